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
**
**   Threads: the switch (gpzcFileTrace, giInitTrace) is atomic, so the
**   threads of a process (the writer's conversion pool, its writing thread,
**   the online reader's threads) may trace at once.  Two threads may both
**   check the keyword on their first calls; they find the same answer.
**   gpzcFileDebug is never written.  The enabled set is only read here; it
**   is made and freed by omsgsInitModule and omsgsDestroyModule, which run
**   while the process has no other thread.
*/
#ifndef ZAV_COMMON_OMSGSMOD_H
#define ZAV_COMMON_OMSGSMOD_H

#include <atomic>
#include <cstdarg>
#include <cstdio>

#include "common/omsgs.h"

#ifndef OMSGS_TRACE_KEYWORD
#error "define OMSGS_TRACE_KEYWORD (or nullptr) before including common/omsgsmod.h"
#endif
#ifndef OMSGS_DEBUG_KEYWORD
#error "define OMSGS_DEBUG_KEYWORD (or nullptr) before including common/omsgsmod.h"
#endif

[[maybe_unused]] static std::atomic<const char *> gpzcFileTrace{OMSGS_TRACE_KEYWORD};
[[maybe_unused]] static const char *const gpzcFileDebug = OMSGS_DEBUG_KEYWORD;
[[maybe_unused]] static std::atomic<int> giInitTrace{0};

/* The module's trace keyword when it is enabled, else NULL; checks it once per process. */
[[maybe_unused]] static const char *_msgsModTraceOn(void)
{
  const char *pcKeyword = gpzcFileTrace.load(std::memory_order_acquire);
  if (pcKeyword == nullptr) return nullptr;
  if (giInitTrace.load(std::memory_order_acquire) == 0) {
    int iCheck = omsgsTraceCheck(pcKeyword);
    if (iCheck < 0) return nullptr;       /* not started yet: check again later */
    if (iCheck == 0) {
      gpzcFileTrace.store(nullptr, std::memory_order_release);   /* disabled for good in this process */
      return nullptr;
    }
    giInitTrace.store(1, std::memory_order_release);
  }
  return gpstrdictTrace != nullptr ? pcKeyword : nullptr;   /* the system was stopped since */
}

/*
** omsgsTrace
**   Posts a trace line for the module's keyword when it is enabled.
**   Returns 0.
*/
[[maybe_unused]] __attribute__((format(printf, 1, 2)))
static int omsgsTrace(const char *pcFormat, ...)
{
  const char *pcKeyword = _msgsModTraceOn();
  if (pcKeyword == nullptr) return 0;
  va_list va;
  va_start(va, pcFormat);
  omsgsTracePostV(OMSGS_TYPE_TRACE, pcKeyword, pcFormat, va);
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
  const char *pcKeyword = _msgsModTraceOn();
  if (pcKeyword == nullptr) return 0;
  va_list va;
  va_start(va, pcFormat);
  omsgsTracePostV(OMSGS_TYPE_RAW, pcKeyword, pcFormat, va);
  va_end(va);
  return 0;
}

#endif
