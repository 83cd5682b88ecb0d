/*
** omsgsshared.cpp
**   The message core shared by the program's message system and the daemon
**   library's: formatting, catalogue, deferred stack, keyword set, sysprint,
**   and the interface functions that differ only in where texts go (see
**   omsgsshared.h).
*/
#include "common/omsgsshared.h"

#include "common/ochar.h"
#include "common/ocnvft.h"
#include "common/omsgs.h"
#include "common/ostack.h"
#include "common/ostrdict.h"

#include <unicode/ures.h>
#include <unicode/ustring.h>

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

/* The module globals of common/omsgs.h, one set for either variant (the
   daemon library, one thread, takes the mutexes without needing them). */
int gmsgid = -1;
omsgsMessage gmsgsMessage;
pthread_mutex_t gmutexSync = PTHREAD_MUTEX_INITIALIZER;
pthread_mutex_t gmutexFMTEDO = PTHREAD_MUTEX_INITIALIZER;
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

/* Frees every text of a deferred stack and the stack. */
void _msgsDestroyStack(ostack *pstack)
{
  if (pstack == nullptr) return;
  for (int i = 0; i < ostackGetCount(pstack); i++) std::free((void *)ostackGetAt(pstack, i));
  ostackDestroy(pstack);
}

/* Pushes a malloc'ed copy of the first ulLength bytes of pcText on the deferred stack. */
void _msgsPushCopy(const char *pcText, size_t ulLength)
{
  char *pc = (char *)std::malloc(ulLength + 1);
  if (pc == nullptr) return;
  std::memcpy(pc, pcText, ulLength);
  pc[ulLength] = '\0';
  if (gpstackMessage == nullptr) gpstackMessage = ostackCreate(20);
  if (gpstackMessage == nullptr) {
    std::free(pc);
    return;
  }
  ostackPush(gpstackMessage, (uintptr_t)pc);
}

/*
** Argument signature of a printf format: per consumed argument its length
** modifier and class (i integer, f floating, s string, p pointer; '*'
** widths and precisions count as integers).  Returns false for a format
** this check does not vouch for (positional arguments, %n, unknown
** conversions, a lone '%' at the end).
*/
bool _msgsSignature(const char *pc, std::string &strSig)
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
    switch (*pc) {
      case 'd': case 'i': case 'o': case 'u': case 'x': case 'X': case 'c':
        strSig += 'i';
        break;
      case 'e': case 'E': case 'f': case 'F': case 'g': case 'G': case 'a': case 'A':
        strSig += 'f';
        break;
      case 's':
        strSig += 's';
        break;
      case 'p':
        strSig += 'p';
        break;
      default:
        return false;
    }
    strSig += ',';
  }
  return true;
}

/* True when pcCatalogue consumes the same arguments, in the same order, as pcBuiltin. */
bool _msgsSameConversions(const char *pcCatalogue, const char *pcBuiltin)
{
  std::string strCat, strBuiltin;
  return _msgsSignature(pcCatalogue, strCat) && _msgsSignature(pcBuiltin, strBuiltin) &&
         strCat == strBuiltin;
}

/* CCSID of sysprint texts: the external mixed CCSID, else the external SBCS; 0 when unknown. */
uint16_t _msgsSysprintCCSID(void)
{
  if (gccsidSysprint != 0) return gccsidSysprint;
  if (gpcnvft == nullptr) return 0;
  gccsidSysprint = gpcnvft->tripleExternal.usMixed != 0 ? gpcnvft->tripleExternal.usMixed
                                                         : gpcnvft->tripleExternal.usSBCS;
  return gccsidSysprint;
}

/*
** The catalogue text of the message whose identifier starts pcFormat,
** converted to the sysprint CCSID, in a new string object (the caller
** destroys it), or NULL: no catalogue, no text, no sysprint CCSID, or a
** text whose conversions differ from the built-in format's.  A text that
** cannot be converted closes the catalogue for good.
*/
ochar *_msgsCatalogueText(const char *pcFormat)
{
  if (gures_messages == nullptr || pcFormat == nullptr || strnlen(pcFormat, 8) < 8) return nullptr;
  char acKey[9];
  std::memcpy(acKey, pcFormat, 8);
  acKey[8] = '\0';
  UErrorCode err = U_ZERO_ERROR;
  int32_t ilLen = 0;
  const UChar *puText = ures_getStringByKey(gures_messages, acKey, &ilLen, &err);
  if (U_FAILURE(err) || puText == nullptr) return nullptr;
  uint16_t usCCSID = _msgsSysprintCCSID();
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
  if (rc != 0 || !_msgsSameConversions(_charText(pchar), pcFormat)) {
    ocharDestroy(pchar);
    return nullptr;
  }
  return pchar;
}

/* Opens the catalogue; no bundle path means no catalogue. */
void _msgsOpenCatalogue(const char *pcBundle, const char *pcLocale)
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

ostack *omsgsExportDefered(void)
{
  ostack *pstack = gpstackMessage;
  gpstackMessage = nullptr;
  return pstack;
}

void omsgsRestaureDefered(ostack *pstack)
{
  if (gpstackMessage != nullptr && gpstackMessage != pstack) _msgsDestroyStack(gpstackMessage);
  gpstackMessage = pstack;
}

void omsgsStack(const char *pcText, int iLength)
{
  if (pcText == nullptr || iLength < 0) return;
  _msgsPushCopy(pcText, (size_t)iLength);
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

int omsgsSetDefered(int boOn)
{
  int boOld = gboDefered;
  gboDefered = boOn ? 1 : 0;
  return boOld;
}

FILE *_msgsCreateTrace(const char *pcName)
{
  int iFd = open(pcName, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (iFd < 0 && errno == EEXIST && unlink(pcName) == 0)
    iFd = open(pcName, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (iFd < 0) return nullptr;
  FILE *pfile = fdopen(iFd, "w");
  if (pfile == nullptr) close(iFd);
  return pfile;
}

bool _msgsFormat(std::string &str, const char *pcFormat, va_list va)
{
  char ac[1024];
  va_list vaCopy;
  va_copy(vaCopy, va);
  int iLen = std::vsnprintf(ac, sizeof ac, pcFormat, vaCopy);
  va_end(vaCopy);
  if (iLen < 0) return false;
  if ((size_t)iLen < sizeof ac) {
    str.assign(ac, (size_t)iLen);
    return true;
  }
  str.assign((size_t)iLen + 1, '\0');
  va_copy(vaCopy, va);
  std::vsnprintf(str.data(), str.size(), pcFormat, vaCopy);
  va_end(vaCopy);
  str.resize((size_t)iLen);
  return true;
}

void _msgsIssue(const char *pcText, size_t ulLength)
{
  if (gboDefered) {
    pthread_mutex_lock(&gmutexFMTEDO);
    _msgsPushCopy(pcText, ulLength);
    pthread_mutex_unlock(&gmutexFMTEDO);
    return;
  }
  _msgsEmit(pcText, ulLength);
}

void _msgsBuildTraceSet(ochar *pcharTraceList)
{
  gpstrdictTrace = ostrdictCreate(50, 80);
  gboTorvelExist = 0;
  if (gpstrdictTrace == nullptr || pcharTraceList == nullptr || ocharIsNotValid(pcharTraceList) != 0)
    return;
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

void omsgsPrint(const char *pcText, int iLength)
{
  if (pcText == nullptr) return;
  if (gboDefered) {
    if (iLength > 0) _msgsIssue(pcText, (size_t)iLength);
    return;
  }
  _msgsEmit(pcText, std::strlen(pcText));
}

void omsgsFlushDefered(void)
{
  ostack *pstack = gpstackMessage;
  if (pstack == nullptr) return;
  gpstackMessage = nullptr;
  for (int i = 0; i < ostackGetCount(pstack); i++) {
    const char *pc = (const char *)ostackGetAt(pstack, i);
    _msgsEmit(pc, std::strlen(pc));
  }
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
  if (omsgsTraceCheck(pcKeyword) == 0) return 0;   /* not enabled: the centre would drop it */
  va_list va;
  va_start(va, pcFormat);
  int rc = _msgsTraceRawV(pcKeyword, pcFormat, va);
  va_end(va);
  return rc;
}

int omsgsVDumpTo(FILE *pfile, const char *pcKeyword, const char *pcFormat, va_list va)
{
  if (pcFormat == nullptr) return 0;
  if (pfile != nullptr) return std::vfprintf(pfile, pcFormat, va) < 0 ? -1 : 0;
  if (pcKeyword == nullptr || omsgsTraceCheck(pcKeyword) == 0) return 0;
  return _msgsTraceRawV(pcKeyword, pcFormat, va);
}
