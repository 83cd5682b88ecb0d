/*
** omsgsmod.h  (daemon library build)
**   A module's own copy of the trace function, as the daemon library builds
**   it.  The library compiles the common, model and io modules again with this
**   directory first on the include path, so their `#include
**   "common/omsgsmod.h"` lands here instead of on the message-centre
**   version; the interface is the same:
**
**     #define OMSGS_TRACE_KEYWORD "$CONFIG"    trace keyword, or nullptr
**     #define OMSGS_DEBUG_KEYWORD "$CONFIGD"   debug (dump) keyword, or nullptr
**     #include "common/omsgsmod.h"
**
**   Private to the including .cpp: gpzcFileTrace (the module's keyword,
**   cleared when the module does not trace), gpzcFileDebug, giInitTrace,
**   gpfileModuleTrace (the module's own trace stream), omsgsTrace and
**   omsgsTrace2.
**
**   States of one module's helper (daemonlib/omsgsd.h has the shared part):
**     first call, no keyword set yet by omsgsInitModule: the module never
**       traces in this process (keyword cleared);
**     first call after omsgsInitModule: keyword not enabled -> cleared, the
**       module never traces; enabled -> a stream on the keyword's file
**       (created exclusively when no module has opened it since the set
**       was built, else shared, appending) is kept as the module's stream;
**     omsgsDestroyModule closes every trace stream: a helper whose stream
**       belongs to an earlier set writes nothing until omsgsInitModule has
**       built a new set, and then opens its file again.
**   Each trace entry is "%6.6i " of the library-wide line counter followed
**   by the caller's text exactly as formatted (no newline, time or process
**   id is added).  One thread only.
*/
#ifndef ZAV_COMMON_OMSGSMOD_H
#define ZAV_COMMON_OMSGSMOD_H

#include <cstdarg>
#include <cstdio>

#include "common/omsgs.h"
#include "daemonlib/omsgsd.h"

#ifndef OMSGS_TRACE_KEYWORD
#error "define OMSGS_TRACE_KEYWORD (or nullptr) before including common/omsgsmod.h"
#endif
#ifndef OMSGS_DEBUG_KEYWORD
#error "define OMSGS_DEBUG_KEYWORD (or nullptr) before including common/omsgsmod.h"
#endif

[[maybe_unused]] static const char *gpzcFileTrace = OMSGS_TRACE_KEYWORD;
[[maybe_unused]] static const char *gpzcFileDebug = OMSGS_DEBUG_KEYWORD;
[[maybe_unused]] static int giInitTrace = 0;
[[maybe_unused]] static FILE *gpfileModuleTrace = nullptr;
[[maybe_unused]] static unsigned long gulModuleTraceSet = 0;   /* trace set the stream belongs to */

/* The module's trace stream, or NULL when nothing is to be written now. */
[[maybe_unused]] static FILE *_msgsModTraceStream(void)
{
  if (!giInitTrace) {
    giInitTrace = 1;
    if (gpzcFileTrace != nullptr &&
        omsgsdTraceOpen(gpzcFileTrace, &gpfileModuleTrace, &gulModuleTraceSet) <= 0) {
      gpzcFileTrace = nullptr;
      gpfileModuleTrace = nullptr;
    }
  } else if (gpzcFileTrace != nullptr && gulModuleTraceSet != gulTraceSet) {
    /* the set the stream was opened for has been destroyed with its streams */
    gpfileModuleTrace = nullptr;
    if (gpstrdictTrace != nullptr &&
        omsgsdTraceOpen(gpzcFileTrace, &gpfileModuleTrace, &gulModuleTraceSet) == 0) {
      gpzcFileTrace = nullptr;
      gpfileModuleTrace = nullptr;
    }
  }
  return gpzcFileTrace != nullptr ? gpfileModuleTrace : nullptr;
}

/*
** omsgsTrace
**   Writes one numbered trace entry to the module's stream when the module
**   traces.  Returns 0.
*/
[[maybe_unused]] __attribute__((format(printf, 1, 2)))
static int omsgsTrace(const char *pcFormat, ...)
{
  FILE *pfile = _msgsModTraceStream();
  if (pfile == nullptr) return 0;
  va_list va;
  va_start(va, pcFormat);
  omsgsdTraceWriteV(pfile, 1, pcFormat, va);
  va_end(va);
  return 0;
}

/*
** omsgsTrace2
**   Writes raw text (pieces of lines, not numbered) to the module's stream
**   when the module traces; the stream argument is ignored.  Returns 0.
*/
[[maybe_unused]] __attribute__((format(printf, 2, 3)))
static int omsgsTrace2(FILE *pfile, const char *pcFormat, ...)
{
  (void)pfile;
  FILE *pfileTrace = _msgsModTraceStream();
  if (pfileTrace == nullptr) return 0;
  va_list va;
  va_start(va, pcFormat);
  omsgsdTraceWriteV(pfileTrace, 0, pcFormat, va);
  va_end(va);
  return 0;
}

#endif
