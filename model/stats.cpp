/*
** stats.cpp
**   Timing statistics: "$STATS" milestones and the real, user and system
**   times of a run, as ZORU411I / ZORU412I or as trace lines.  No state.
*/
#include "model/stats.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>

#include "model/zormsgs.h"

#define OMSGS_TRACE_KEYWORD "$STATS"
#define OMSGS_DEBUG_KEYWORD "$STATSD"
#include "common/omsgsmod.h"

/* Room for one duration text: "%dm%.6fs". */
#define STATS_DURATION_SIZE 48

/* The seven figures of a report, as duration texts. */
struct statsFigures {
  char acReal[STATS_DURATION_SIZE];
  char acUser[STATS_DURATION_SIZE];        /* own, or own + children in mode 1 */
  char acUserSelf[STATS_DURATION_SIZE];
  char acUserChildren[STATS_DURATION_SIZE];
  char acSyst[STATS_DURATION_SIZE];        /* own, or own + children in mode 1 */
  char acSystSelf[STATS_DURATION_SIZE];
  char acSystChildren[STATS_DURATION_SIZE];
};

/*
** Writes seconds + microseconds / 10^6 as whole minutes and remaining
** seconds.  The value is held in single precision, as are the minutes and
** the remainder, so that the text has the precision of a 32-bit float.
*/
static void _statsFormatDuration(char *pcBuffer, long lSeconds, long lMicroseconds)
{
  float fSeconds = static_cast<float>(static_cast<double>(lSeconds) +
                                      static_cast<double>(lMicroseconds) / 1000000.0);
  float fMinutes = std::floor(fSeconds / 60.0f);
  float fRest = fSeconds - 60.0f * fMinutes;
  snprintf(pcBuffer, STATS_DURATION_SIZE, "%dm%.6fs", static_cast<int>(fMinutes),
           static_cast<double>(fRest));
}

/* Fills the figures of a report; false for a mode that reports nothing. */
static bool _statsFigures(int iMode, const struct timeval *ptvBeg, const struct timeval *ptvEnd,
                          statsFigures *pfig)
{
  if (iMode != STATS_MODE_SELF && iMode != STATS_MODE_CHILDREN) return false;
  _statsFormatDuration(pfig->acReal, ptvEnd->tv_sec - ptvBeg->tv_sec, ptvEnd->tv_usec - ptvBeg->tv_usec);

  struct rusage ruSelf = {};
  getrusage(RUSAGE_SELF, &ruSelf);
  _statsFormatDuration(pfig->acUserSelf, ruSelf.ru_utime.tv_sec, ruSelf.ru_utime.tv_usec);
  _statsFormatDuration(pfig->acSystSelf, ruSelf.ru_stime.tv_sec, ruSelf.ru_stime.tv_usec);
  if (iMode == STATS_MODE_SELF) {
    snprintf(pfig->acUser, STATS_DURATION_SIZE, "%s", pfig->acUserSelf);
    snprintf(pfig->acSyst, STATS_DURATION_SIZE, "%s", pfig->acSystSelf);
    return true;
  }

  struct rusage ruChildren = {};
  getrusage(RUSAGE_CHILDREN, &ruChildren);
  _statsFormatDuration(pfig->acUserChildren, ruChildren.ru_utime.tv_sec, ruChildren.ru_utime.tv_usec);
  _statsFormatDuration(pfig->acSystChildren, ruChildren.ru_stime.tv_sec, ruChildren.ru_stime.tv_usec);
  _statsFormatDuration(pfig->acUser, ruSelf.ru_utime.tv_sec + ruChildren.ru_utime.tv_sec,
                       ruSelf.ru_utime.tv_usec + ruChildren.ru_utime.tv_usec);
  _statsFormatDuration(pfig->acSyst, ruSelf.ru_stime.tv_sec + ruChildren.ru_stime.tv_sec,
                       ruSelf.ru_stime.tv_usec + ruChildren.ru_stime.tv_usec);
  return true;
}

void statsTimeTrace(const char *pcLabel)
{
  struct timespec ts = {};
  clock_gettime(CLOCK_REALTIME, &ts);
  time_t lTime = ts.tv_sec;
  struct tm tmLocal = {};
  localtime_r(&lTime, &tmLocal);
  char acTime[9];
  strftime(acTime, sizeof(acTime), "%H:%M:%S", &tmLocal);
  omsgsTrace("%s -> %s.%d\n", pcLabel, acTime, static_cast<int>(ts.tv_nsec / 1000000));
}

int statsRecupTimeBeg(struct timeval *ptv)
{
  return gettimeofday(ptv, nullptr);
}

int statsRecupTimeEnd(struct timeval *ptv)
{
  return gettimeofday(ptv, nullptr);
}

int statsCalcul(int iMode, const struct timeval *ptvBeg, const struct timeval *ptvEnd)
{
  statsFigures fig;
  if (!_statsFigures(iMode, ptvBeg, ptvEnd, &fig)) return 0;
  if (iMode == STATS_MODE_SELF)
    omsgsFMTEDO(ZORU411I, fig.acReal, fig.acUser, fig.acSyst);
  else
    omsgsFMTEDO(ZORU412I, fig.acReal, fig.acUser, fig.acUserSelf, fig.acUserChildren, fig.acSyst,
                fig.acSystSelf, fig.acSystChildren);
  return 0;
}

void statsCalculTrace(const char *pcLabel, int iMode, const struct timeval *ptvBeg,
                      const struct timeval *ptvEnd)
{
  statsFigures fig;
  if (!_statsFigures(iMode, ptvBeg, ptvEnd, &fig)) return;
  if (iMode == STATS_MODE_SELF)
    omsgsTrace("%s:\nReal time -> %s\nUser time -> %s\nSyst time -> %s\n", pcLabel, fig.acReal, fig.acUser,
               fig.acSyst);
  else
    omsgsTrace("%s:\nReal time -> %s\nUser time -> %s : Father -> %s,                        Children -> %s\n"
               "Syst time -> %s : Father -> %s,                        Children -> %s\n",
               pcLabel, fig.acReal, fig.acUser, fig.acUserSelf, fig.acUserChildren, fig.acSyst,
               fig.acSystSelf, fig.acSystChildren);
}
