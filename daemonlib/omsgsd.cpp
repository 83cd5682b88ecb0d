/*
** omsgsd.cpp
**   Messages and traces of the daemon library, without a message centre
**   (see omsgsd.h for the states and common/omsgs.h for the interface).
**   Messages are formatted into one shared buffer and written straight to
**   sysprint, or to the system log when no sysprint stream is open; traces
**   go to files named after their keyword through the per-module helpers
**   of daemonlib/common/omsgsmod.h.  One thread, no locks.
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

int gmsgid = -1;
omsgsMessage gmsgsMessage;
pthread_mutex_t gmutexSync = PTHREAD_MUTEX_INITIALIZER;     /* unused: one thread */
pthread_mutex_t gmutexFMTEDO = PTHREAD_MUTEX_INITIALIZER;   /* unused: one thread */
UResourceBundle *gures_messages = nullptr;
uint16_t gccsidSysprint = 0;
int gboTorvelExist = 0;
const char gacTorvel[9] = "$TORVEL";
ostrdict *gpstrdictTrace = nullptr;
int gboDefered = 0;
ostack *gpstackMessage = nullptr;
char *gpacMsgsBuffer = nullptr;
unsigned long gulSizeMsgsBuffer = 0;
char *gmsgsSysout = nullptr;
FILE *gpfileSysPrint = nullptr;
unsigned long gulTimeLine = 0;
unsigned long gulTraceSet = 0;

namespace {

const unsigned long kulFirstBuffer = 1024;   /* first size of the formatting buffer */

/* Every trace stream opened since the keyword set was built, closed with it. */
std::vector<FILE *> gvTraceStreams;

/* Writes one ready text to sysprint, or as one system-log entry when none is open. */
void _msgsdIssue(const char *pcText)
{
  if (gpfileSysPrint != nullptr) {
    std::fputs(pcText, gpfileSysPrint);
    std::fflush(gpfileSysPrint);
    return;
  }
  openlog("db2zav", LOG_PID, LOG_DAEMON);
  syslog(LOG_DAEMON | LOG_ERR, "%s", pcText);
  closelog();
}

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

/* Builds the keyword set from a trace list: every word followed by a blank. */
void _msgsdBuildTraceSet(ochar *pcharTraceList)
{
  gpstrdictTrace = ostrdictCreate(50, 80);
  gulTraceSet++;
  gboTorvelExist = 0;
  if (gpstrdictTrace == nullptr || pcharTraceList == nullptr || ocharIsNotValid(pcharTraceList) != 0)
    return;
  if (ocharMakeC(pcharTraceList) != 0) return;
  const char *pcText = _charText(pcharTraceList);
  int32_t ilLen = pcharTraceList->ilBU;
  int32_t ilStart = 0;
  for (int32_t i = 0; i < ilLen; i++) {
    if (pcText[i] != ' ') continue;
    size_t ulWord = (size_t)(i - ilStart);
    if (ulWord > 0 && std::memchr(pcText + ilStart, '\0', ulWord) == nullptr) {
      ostrdictStoreFixed(gpstrdictTrace, pcText + ilStart, ulWord, (void *)-1);
      if (ulWord == std::strlen(gacTorvel) && std::memcmp(pcText + ilStart, gacTorvel, ulWord) == 0)
        gboTorvelExist = 1;
    }
    ilStart = i + 1;
  }
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
    int iLen = std::vsnprintf(gpacMsgsBuffer, gulSizeMsgsBuffer, pcUsed, va);
    va_end(va);
    if (iLen >= 0) {
      if (gboDefered)
        _msgsPushCopy(gpacMsgsBuffer, std::strlen(gpacMsgsBuffer));
      else
        _msgsdIssue(gpacMsgsBuffer);
    }
  }
  int rc = pcharCatalogue != nullptr ? 1 : 0;
  ocharDestroy(pcharCatalogue);
  return rc;
}

void omsgsPrint(const char *pcText, int iLength)
{
  if (pcText == nullptr) return;
  if (gboDefered) {
    if (iLength >= 0) _msgsPushCopy(pcText, (size_t)iLength);
    return;
  }
  _msgsdIssue(pcText);
}

int omsgsPostMessage(omsgsMessage *pmsg, int iTextLength)
{
  (void)pmsg;
  (void)iTextLength;
  return -1;   /* there is no queue */
}

void omsgsFlushDefered(void)
{
  ostack *pstack = gpstackMessage;
  if (pstack == nullptr) return;
  gpstackMessage = nullptr;
  for (int i = 0; i < ostackGetCount(pstack); i++) _msgsdIssue((const char *)ostackGetAt(pstack, i));
  _msgsDestroyStack(pstack);
}

int omsgsOpenSysprint(void)
{
  if (gmsgsSysout == nullptr) {
    gpfileSysPrint = stderr;
    return 0;
  }
  FILE *pfile = std::fopen(gmsgsSysout, "a");
  if (pfile == nullptr) return 8;
  gpfileSysPrint = pfile;
  return 0;
}

void omsgsCloseSysprint(void)
{
  if (gpfileSysPrint != nullptr && gpfileSysPrint != stderr) std::fclose(gpfileSysPrint);
  gpfileSysPrint = nullptr;
}

int omsgsTraceTo(const char *pcKeyword, const char *pcFormat, ...)
{
  if (pcKeyword == nullptr || pcFormat == nullptr) return 0;
  FILE *pfile = _msgsdKeywordStream(pcKeyword);
  if (pfile == nullptr) return 0;
  va_list va;
  va_start(va, pcFormat);
  int rc = omsgsdTraceWriteV(pfile, 0, pcFormat, va);
  va_end(va);
  return rc;
}

int omsgsVDumpTo(FILE *pfile, const char *pcKeyword, const char *pcFormat, va_list va)
{
  if (pcFormat == nullptr) return 0;
  if (pfile != nullptr) return std::vfprintf(pfile, pcFormat, va) < 0 ? -1 : 0;
  FILE *pfileTrace = _msgsdKeywordStream(pcKeyword);
  if (pfileTrace == nullptr) return 0;
  return omsgsdTraceWriteV(pfileTrace, 0, pcFormat, va);
}

int omsgsTracePostV(int iType, const char *pcKeyword, const char *pcFormat, va_list va)
{
  FILE *pfile = _msgsdKeywordStream(pcKeyword);
  if (pfile == nullptr) return 0;
  return omsgsdTraceWriteV(pfile, iType == OMSGS_TYPE_TRACE, pcFormat, va);
}
