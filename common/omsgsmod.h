/*
** omsgsmod.h
**   A module's own copy of the trace function.  Include it in the module's
**   .cpp after defining its keywords:
**
**     #define OMSGS_TRACE_KEYWORD "$CNVFT"     trace keyword, or nullptr
**     #define OMSGS_DEBUG_KEYWORD "$CNVFTD"    debug (dump) keyword, or nullptr
**     #include "common/omsgsmod.h"
**
**   It defines, private to that .cpp: gpzcFileTrace and gpzcFileDebug (the
**   two keywords), giInitTrace (set once the trace keyword has been checked
**   against the enabled set), omsgsTrace (a trace line for the module's
**   keyword) and omsgsTrace2 (raw text, for generated parsers' debug output;
**   the stream argument is ignored).  The keyword is checked once per
**   process, on the first call after the message system has started; a
**   keyword found disabled is cleared, and the module never traces again.
**   Dumps go through omsgsTraceTo(gpzcFileDebug, ...).
*/
#ifndef ZAV_COMMON_OMSGSMOD_H
#define ZAV_COMMON_OMSGSMOD_H

#include <cstdarg>
#include <cstdio>

#include "common/omsgs.h"

#ifndef OMSGS_TRACE_KEYWORD
#error "define OMSGS_TRACE_KEYWORD (or nullptr) before including common/omsgsmod.h"
#endif
#ifndef OMSGS_DEBUG_KEYWORD
#error "define OMSGS_DEBUG_KEYWORD (or nullptr) before including common/omsgsmod.h"
#endif

[[maybe_unused]] static const char *gpzcFileTrace = OMSGS_TRACE_KEYWORD;
[[maybe_unused]] static const char *gpzcFileDebug = OMSGS_DEBUG_KEYWORD;
[[maybe_unused]] static int giInitTrace = 0;

/* True when the module's trace keyword is enabled; checks it once per process. */
[[maybe_unused]] static bool _msgsModTraceOn(void)
{
  if (gpzcFileTrace == nullptr) return false;
  if (!giInitTrace) {
    int iCheck = omsgsTraceCheck(gpzcFileTrace);
    if (iCheck < 0) return false;          /* not started yet: check again later */
    if (iCheck == 0) {
      gpzcFileTrace = nullptr;             /* disabled for good in this process */
      return false;
    }
    giInitTrace = 1;
  }
  return gpstrdictTrace != nullptr;         /* the system was stopped since */
}

/*
** omsgsTrace
**   Posts a trace line for the module's keyword when it is enabled.
**   Returns 0.
*/
[[maybe_unused]] __attribute__((format(printf, 1, 2)))
static int omsgsTrace(const char *pcFormat, ...)
{
  if (!_msgsModTraceOn()) return 0;
  va_list va;
  va_start(va, pcFormat);
  omsgsTracePostV(OMSGS_TYPE_TRACE, gpzcFileTrace, pcFormat, va);
  va_end(va);
  return 0;
}

/*
** omsgsTrace2
**   Posts raw text (pieces of lines) for the module's keyword when it is
**   enabled; the stream is ignored.  Returns 0.
*/
[[maybe_unused]] __attribute__((format(printf, 2, 3)))
static int omsgsTrace2(FILE *pfile, const char *pcFormat, ...)
{
  (void)pfile;
  if (!_msgsModTraceOn()) return 0;
  va_list va;
  va_start(va, pcFormat);
  omsgsTracePostV(OMSGS_TYPE_RAW, gpzcFileTrace, pcFormat, va);
  va_end(va);
  return 0;
}

#endif
