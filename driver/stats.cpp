/* stats.cpp: temporary bodies; the implementation follows. */
#include "driver/stats.h"
#include <cstdio>
#include <sys/time.h>
struct ochar;struct olexContextDef;
#pragma GCC diagnostic ignored "-Wunused-parameter"
void statsTimeTrace(const char *pcLabel) { }
#pragma GCC diagnostic ignored "-Wunused-parameter"
int statsRecupTimeBeg(struct timeval *ptv) { return {}; }
#pragma GCC diagnostic ignored "-Wunused-parameter"
int statsRecupTimeEnd(struct timeval *ptv) { return {}; }
#pragma GCC diagnostic ignored "-Wunused-parameter"
int statsCalcul(int iMode, const struct timeval *ptvBeg, const struct timeval *ptvEnd) { return {}; }
#pragma GCC diagnostic ignored "-Wunused-parameter"
void statsCalculTrace(const char *pcLabel, int iMode, const struct timeval *ptvBeg, const struct timeval *ptvEnd) { }
