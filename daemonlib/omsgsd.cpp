/*
** omsgsd.cpp
**   Messages and traces of the daemon library, without a message centre
**   (see omsgsd.h for the states and common/omsgs.h for the interface).
**   Messages are formatted into one shared buffer and written straight to
**   sysprint, or to the system log when no sysprint stream is open; traces
**   go to files named after their keyword through the per-module helpers
**   of daemonlib/common/omsgsmod.h.  One thread, no locks.  What is not
**   about where texts go (deferral, keyword set, sysprint, the interface
**   functions built on _msgsEmit and _msgsTraceRawV) is the message core,
**   common/omsgsshared.cpp, shared with the program.
*/
#include "common/omsgs.h"
#include "common/omsgsshared.h"
#include "daemonlib/omsgsd.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <syslog.h>
#include <vector>

#include <unicode/ures.h>

#include "common/ochar.h"
#include "common/ocnvft.h"
#include "common/ostack.h"
#include "common/ostrdict.h"

unsigned long gulTimeLine = 0;
unsigned long gulTraceSet = 0;

namespace {

const unsigned long kulFirstBuffer = 1024;   /* first size of the formatting buffer */

/* Every trace stream opened since the keyword set was built, closed with it. */
std::vector<FILE *> gvTraceStreams;

/* Closes every trace stream and frees the keyword set. */
void _msgsdDestroyTraceSet(void)
{
  for (FILE *pfile : gvTraceStreams) std::fclose(pfile);
  gvTraceStreams.clear();
  if (gpstrdictTrace != nullptr) {
    ostrdictDestroy(gpstrdictTrace);
    gpstrdictTrace = nullptr;
  }
  gulTraceSet++;
}

/* Builds a new keyword set from a trace list (made C text first). */
void _msgsdBuildTraceSet(ochar *pcharTraceList)
{
  gulTraceSet++;
  if (pcharTraceList != nullptr && ocharIsNotValid(pcharTraceList) == 0 && ocharMakeC(pcharTraceList) != 0)
    pcharTraceList = nullptr;
  _msgsBuildTraceSet(pcharTraceList);
}

/* The stream raw trace text of pcKeyword goes to (opened on first use), or NULL. */
FILE *_msgsdKeywordStream(const char *pcKeyword)
{
  if (gpstrdictTrace == nullptr || pcKeyword == nullptr) return nullptr;
  void *pValue = ostrdictLoad(gpstrdictTrace, pcKeyword);
  if (pValue == nullptr) return nullptr;
  if (pValue != (void *)-1) return (FILE *)pValue;
  FILE *pfile = nullptr;
  unsigned long ulSet = 0;
  omsgsdTraceOpen(pcKeyword, &pfile, &ulSet);
  return pfile;
}

}  // namespace

int omsgsdTraceOpen(const char *pcKeyword, FILE **ppfile, unsigned long *pulSet)
{
  *ppfile = nullptr;
  *pulSet = gulTraceSet;
  if (gpstrdictTrace == nullptr) return -1;
  if (pcKeyword == nullptr) return 0;
  void *pValue = ostrdictLoad(gpstrdictTrace, pcKeyword);
  if (pValue == nullptr) return 0;
  /* the first stream creates the file exclusively; later ones share its
     open file (appending), so that nothing is ever opened by name again */
  FILE *pfile = nullptr;
  if (pValue == (void *)-1) {
    pfile = _msgsCreateTrace(pcKeyword);
  } else {
    int iFd = fcntl(fileno((FILE *)pValue), F_DUPFD_CLOEXEC, 0);
    if (iFd >= 0 && (fcntl(iFd, F_SETFL, fcntl(iFd, F_GETFL) | O_APPEND) != 0 ||
                     (pfile = fdopen(iFd, "a")) == nullptr))
      close(iFd);
  }
  if (pfile != nullptr) {
    if (ostrdictStore(gpstrdictTrace, pcKeyword, pfile) == 0) {
      gvTraceStreams.push_back(pfile);
    } else {
      std::fclose(pfile);
      pfile = nullptr;
    }
  }
  *ppfile = pfile;
  return 1;
}

int omsgsdTraceWriteV(FILE *pfile, int boNumbered, const char *pcFormat, va_list va)
{
  if (pfile == nullptr || pcFormat == nullptr) return -1;
  int rc = 0;
  if (boNumbered && std::fprintf(pfile, "%6.6i ", (int)gulTimeLine++) < 0) rc = -1;
  if (std::vfprintf(pfile, pcFormat, va) < 0) rc = -1;
  /* written through at once: a forked process must not inherit pending text */
  std::fflush(pfile);
  return rc;
}

int omsgsInitModule(const char *pcQueuePath, int iQueueId, const char *pcSysprint,
                    int iQuiet1, int iQuiet2, ochar *pcharTraceList, int iMode,
                    int *piCentre, const char *pcBundle, const char *pcLocale)
{
  (void)pcQueuePath;
  (void)iQueueId;
  (void)iQuiet1;
  (void)iQuiet2;
  (void)iMode;
  (void)piCentre;
  _msgsdDestroyTraceSet();
  _msgsdBuildTraceSet(pcharTraceList);

  std::free(gmsgsSysout);
  gmsgsSysout = pcSysprint != nullptr ? strdup(pcSysprint) : nullptr;
  omsgsCloseSysprint();
  omsgsOpenSysprint();

  _msgsOpenCatalogue(pcBundle, pcLocale);
  return 0;
}

int omsgsInitLanguage(const char *pcBundle, const char *pcLocale)
{
  _msgsOpenCatalogue(pcBundle, pcLocale);
  return 0;
}

int omsgsInitMessageFileName(const char *pcPath)
{
  char *pcOld = gmsgsSysout;
  FILE *pfileOld = gpfileSysPrint;
  gmsgsSysout = pcPath != nullptr ? strdup(pcPath) : nullptr;
  if (omsgsOpenSysprint() == 0) {
    /* the new stream replaces the old one, which is of no further use */
    if (pfileOld != nullptr && pfileOld != stderr && pfileOld != gpfileSysPrint) std::fclose(pfileOld);
  }
  std::free(pcOld);
  return 0;
}

int omsgsStoreIPCResource(int iKind, int iId)
{
  (void)iKind;
  (void)iId;
  return 0;
}

int omsgsDeleteIPCResource(int iKind, int iId)
{
  (void)iKind;
  (void)iId;
  return 0;
}

int omsgsDestroyModule(int iCentre)
{
  (void)iCentre;
  _msgsdDestroyTraceSet();
  if (gures_messages != nullptr) {
    ures_close(gures_messages);
    gures_messages = nullptr;
  }
  return 0;
}

int omsgsFMTEDO(const char *pcFormat, ...)
{
  if (pcFormat == nullptr) return 0;
  ochar *pcharCatalogue = _msgsCatalogueText(pcFormat);
  const char *pcUsed = pcharCatalogue != nullptr ? _charText(pcharCatalogue) : pcFormat;

  size_t ulFormat = std::strlen(pcUsed);
  if (gpacMsgsBuffer == nullptr || ulFormat >= gulSizeMsgsBuffer) {
    unsigned long ulSize = gpacMsgsBuffer == nullptr && ulFormat < kulFirstBuffer ? kulFirstBuffer
                                                                                  : ulFormat + 1;
    char *pc = (char *)std::malloc(ulSize);
    if (pc != nullptr) {
      std::free(gpacMsgsBuffer);
      gpacMsgsBuffer = pc;
      gulSizeMsgsBuffer = ulSize;
    }
  }
  if (gpacMsgsBuffer != nullptr) {
    va_list va;
    va_start(va, pcFormat);
    va_list vaAgain;
    va_copy(vaAgain, va);
    int iLen = std::vsnprintf(gpacMsgsBuffer, gulSizeMsgsBuffer, pcUsed, va);
    if (iLen >= 0 && static_cast<unsigned long>(iLen) >= gulSizeMsgsBuffer) {
      /* the text is longer than the buffer: grow it and format again, never cut a message */
      char *pc = static_cast<char *>(std::malloc(static_cast<size_t>(iLen) + 1));
      if (pc != nullptr) {
        std::free(gpacMsgsBuffer);
        gpacMsgsBuffer = pc;
        gulSizeMsgsBuffer = static_cast<unsigned long>(iLen) + 1;
        iLen = std::vsnprintf(gpacMsgsBuffer, gulSizeMsgsBuffer, pcUsed, vaAgain);
      }
    }
    va_end(vaAgain);
    va_end(va);
    if (iLen >= 0) _msgsIssue(gpacMsgsBuffer, std::strlen(gpacMsgsBuffer));
  }
  int rc = pcharCatalogue != nullptr ? 1 : 0;
  ocharDestroy(pcharCatalogue);
  return rc;
}


int omsgsPostMessage(omsgsMessage *pmsg, int iTextLength)
{
  (void)pmsg;
  (void)iTextLength;
  return -1;   /* there is no queue */
}






/* A ready message goes to sysprint, or as one system-log entry when none is open. */
void _msgsEmit(const char *pcText, size_t ulLength)
{
  (void)ulLength;
  if (gpfileSysPrint != nullptr) {
    std::fputs(pcText, gpfileSysPrint);
    std::fflush(gpfileSysPrint);
    return;
  }
  openlog("db2zav", LOG_PID, LOG_DAEMON);
  syslog(LOG_DAEMON | LOG_ERR, "%s", pcText);
  closelog();
}

/* Raw trace text goes to the keyword's own file, when the keyword is enabled. */
int _msgsTraceRawV(const char *pcKeyword, const char *pcFormat, va_list va)
{
  FILE *pfile = _msgsdKeywordStream(pcKeyword);
  if (pfile == nullptr) return 0;
  return omsgsdTraceWriteV(pfile, 0, pcFormat, va);
}

int omsgsTracePostV(int iType, const char *pcKeyword, const char *pcFormat, va_list va)
{
  FILE *pfile = _msgsdKeywordStream(pcKeyword);
  if (pfile == nullptr) return 0;
  return omsgsdTraceWriteV(pfile, iType == OMSGS_TYPE_TRACE, pcFormat, va);
}
