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
#include "daemonlib/omsgsd.h"

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
const int kiDeferSlots = 20;                 /* first size of the deferred stack */

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

/* Pushes a malloc'ed copy of the first ulLength bytes of pcText on the deferred stack. */
void _msgsdPushCopy(const char *pcText, size_t ulLength)
{
  char *pc = (char *)std::malloc(ulLength + 1);
  if (pc == nullptr) return;
  std::memcpy(pc, pcText, ulLength);
  pc[ulLength] = '\0';
  if (gpstackMessage == nullptr) gpstackMessage = ostackCreate(kiDeferSlots);
  if (gpstackMessage == nullptr) {
    std::free(pc);
    return;
  }
  ostackPush(gpstackMessage, (uintptr_t)pc);
}

/* Frees every text of a deferred stack and the stack. */
void _msgsdDestroyStack(ostack *pstack)
{
  if (pstack == nullptr) return;
  for (int i = 0; i < ostackGetCount(pstack); i++) std::free((void *)ostackGetAt(pstack, i));
  ostackDestroy(pstack);
}

/*
** Argument signature of a printf format: per consumed argument its length
** modifiers and class (i integer, f floating, s string, p pointer; '*'
** counts as an integer).  False for a format not vouched for (positional
** arguments, %n, unknown conversions).
*/
bool _msgsdSignature(const char *pc, std::string &strSig)
{
  strSig.clear();
  for (; *pc != '\0'; pc++) {
    if (*pc != '%') continue;
    pc++;
    if (*pc == '%') continue;
    while (*pc != '\0' && std::strchr("-+ #0'I", *pc) != nullptr) pc++;
    if (*pc == '*') {
      strSig += "i,";
      pc++;
    } else {
      while (std::isdigit((unsigned char)*pc)) pc++;
      if (*pc == '$') return false;
    }
    if (*pc == '.') {
      pc++;
      if (*pc == '*') {
        strSig += "i,";
        pc++;
      } else {
        while (std::isdigit((unsigned char)*pc)) pc++;
      }
    }
    while (*pc != '\0' && std::strchr("hlLqjzt", *pc) != nullptr) strSig += *pc++;
    if (*pc == '\0') return false;
    if (std::strchr("diouxXc", *pc) != nullptr)
      strSig += 'i';
    else if (std::strchr("eEfFgGaA", *pc) != nullptr)
      strSig += 'f';
    else if (*pc == 's')
      strSig += 's';
    else if (*pc == 'p')
      strSig += 'p';
    else
      return false;
    strSig += ',';
  }
  return true;
}

/* CCSID of sysprint texts from the global conversion context, kept once known; 0 when unknown. */
uint16_t _msgsdSysprintCCSID(void)
{
  if (gccsidSysprint != 0 || gpcnvft == nullptr) return gccsidSysprint;
  gccsidSysprint = gpcnvft->tripleExternal.usMixed != 0 ? gpcnvft->tripleExternal.usMixed
                                                         : gpcnvft->tripleExternal.usSBCS;
  return gccsidSysprint;
}

/*
** The catalogue text of the message whose identifier begins pcFormat, in
** the sysprint CCSID, as a new string object the caller destroys; NULL when
** there is none.  A text that cannot be converted closes the catalogue for
** the rest of the process.  A text that would take other arguments than the
** built-in format is not used: the caller's arguments fit the built-in one.
*/
ochar *_msgsdCatalogueText(const char *pcFormat)
{
  if (gures_messages == nullptr || strnlen(pcFormat, 8) < 8) return nullptr;
  char acKey[9];
  std::memcpy(acKey, pcFormat, 8);
  acKey[8] = '\0';
  UErrorCode err = U_ZERO_ERROR;
  int32_t ilLen = 0;
  const UChar *puText = ures_getStringByKey(gures_messages, acKey, &ilLen, &err);
  if (U_FAILURE(err) || puText == nullptr) return nullptr;
  uint16_t usCCSID = _msgsdSysprintCCSID();
  if (usCCSID == 0) return nullptr;
  ochar *pchar = ocharCreate(ilLen * 2, 1202);
  if (pchar == nullptr) return nullptr;
  int rc = ocharAppendFixedS(pchar, puText, ilLen * 2);
  if (rc == 0) {
    _charSetLen(pchar, ilLen);
    rc = ocharConvert(pchar, usCCSID);
    if (rc != 0) {
      ures_close(gures_messages);
      gures_messages = nullptr;
    }
  }
  if (rc == 0) rc = ocharMakeC(pchar);
  std::string strCat, strBuiltin;
  if (rc != 0 || !_msgsdSignature(_charText(pchar), strCat) || !_msgsdSignature(pcFormat, strBuiltin) ||
      strCat != strBuiltin) {
    ocharDestroy(pchar);
    return nullptr;
  }
  return pchar;
}

/* Opens the catalogue (closing the open one); no bundle path means no catalogue. */
void _msgsdOpenCatalogue(const char *pcBundle, const char *pcLocale)
{
  if (gures_messages != nullptr) {
    ures_close(gures_messages);
    gures_messages = nullptr;
  }
  if (pcBundle == nullptr) return;
  UErrorCode err = U_ZERO_ERROR;
  UResourceBundle *pres = ures_open(pcBundle, pcLocale, &err);
  if (U_FAILURE(err)) {
    if (pres != nullptr) ures_close(pres);
    return;
  }
  gures_messages = pres;
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
  if (pValue == (void *)-1) {
    FILE *pfileNew = std::fopen(pcKeyword, "w");
    if (pfileNew != nullptr) std::fclose(pfileNew);
  }
  FILE *pfile = std::fopen(pcKeyword, "a");
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

  _msgsdOpenCatalogue(pcBundle, pcLocale);
  return 0;
}

int omsgsInitLanguage(const char *pcBundle, const char *pcLocale)
{
  _msgsdOpenCatalogue(pcBundle, pcLocale);
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
  ochar *pcharCatalogue = _msgsdCatalogueText(pcFormat);
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
        _msgsdPushCopy(gpacMsgsBuffer, std::strlen(gpacMsgsBuffer));
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
    if (iLength >= 0) _msgsdPushCopy(pcText, (size_t)iLength);
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

int omsgsSetDefered(int boOn)
{
  int boOld = gboDefered;
  gboDefered = boOn ? 1 : 0;
  return boOld;
}

void omsgsFlushDefered(void)
{
  ostack *pstack = gpstackMessage;
  if (pstack == nullptr) return;
  gpstackMessage = nullptr;
  for (int i = 0; i < ostackGetCount(pstack); i++) _msgsdIssue((const char *)ostackGetAt(pstack, i));
  _msgsdDestroyStack(pstack);
}

ostack *omsgsExportDefered(void)
{
  ostack *pstack = gpstackMessage;
  gpstackMessage = nullptr;
  return pstack;
}

void omsgsRestaureDefered(ostack *pstack)
{
  if (gpstackMessage != nullptr && gpstackMessage != pstack) _msgsdDestroyStack(gpstackMessage);
  gpstackMessage = pstack;
}

void omsgsStack(const char *pcText, int iLength)
{
  if (pcText == nullptr || iLength < 0) return;
  _msgsdPushCopy(pcText, (size_t)iLength);
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

int omsgsDumpTo(FILE *pfile, const char *pcKeyword, const char *pcFormat, ...)
{
  va_list va;
  va_start(va, pcFormat);
  int rc = omsgsVDumpTo(pfile, pcKeyword, pcFormat, va);
  va_end(va);
  return rc;
}

void omsgsTraceInIntern(const char *pcFunction, int iValue)
{
  (void)pcFunction;
  (void)iValue;
}

void omsgsTraceOutIntern(const char *pcFunction, int iResult)
{
  (void)pcFunction;
  (void)iResult;
}

int omsgsTraceCheck(const char *pcKeyword)
{
  if (gpstrdictTrace == nullptr) return -1;
  if (pcKeyword == nullptr) return 0;
  return ostrdictLoad(gpstrdictTrace, pcKeyword) != nullptr ? 1 : 0;
}

int omsgsTracePostV(int iType, const char *pcKeyword, const char *pcFormat, va_list va)
{
  FILE *pfile = _msgsdKeywordStream(pcKeyword);
  if (pfile == nullptr) return 0;
  return omsgsdTraceWriteV(pfile, iType == OMSGS_TYPE_TRACE, pcFormat, va);
}
