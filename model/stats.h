/*
** stats.h
**   Timing statistics.  Time-stamped milestones go to the "$STATS" trace;
**   the real, user and system times of a run are reported as ZORU411I or
**   ZORU412I at the end of a successful originating run, or as "$STATS"
**   trace lines in a child process of the run.  No state: the caller keeps
**   the two time values between which the real time is measured.
**
**   A duration of s seconds reads "%dm%.6fs" (whole minutes, remaining
**   seconds); s is held as a 32-bit float, so durations carry about seven
**   significant digits.
*/
#ifndef ZAV_MODEL_STATS_H
#define ZAV_MODEL_STATS_H

#include <sys/time.h>

/* Report modes. */
#define STATS_MODE_SELF     0   /* real, user and system time of the process */
#define STATS_MODE_CHILDREN 1   /* also the times of its waited-for children */

/* statsTimeTrace: traces "<label> -> HH:MM:SS.<milliseconds>". */
void statsTimeTrace(const char *pcLabel);

/* statsRecupTimeBeg, statsRecupTimeEnd: gettimeofday into *ptv; return its result. */
int statsRecupTimeBeg(struct timeval *ptv);
int statsRecupTimeEnd(struct timeval *ptv);

/*
** statsCalcul
**   Issues ZORU411I (mode 0) or ZORU412I (mode 1) with the real time from
**   *ptvBeg to *ptvEnd and the process's user and system times; any other
**   mode issues nothing.  Returns 0.
*/
int statsCalcul(int iMode, const struct timeval *ptvBeg, const struct timeval *ptvEnd);

/* statsCalculTrace: the same figures as "$STATS" trace lines after pcLabel. */
void statsCalculTrace(const char *pcLabel, int iMode, const struct timeval *ptvBeg,
                      const struct timeval *ptvEnd);

#endif
