/*
** tools.cpp
**   File and string tools shared by the driver and the run step: case
**   mapping, trimming, digit tests, packed decimal and time bytes as text,
**   output-file names numbered by partition and sequence, and file opening,
**   creation and sizing with one error report (ZORU347E, 0x114A000 | errno).
**   No state; see tools.h for the identity exchange of toolsSizeFile and
**   toolsOpenFile.
*/
#include "model/tools.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <csignal>
#include <fcntl.h>
#include <ifaddrs.h>
#include <netdb.h>
#include <netinet/in.h>
#include <string>
#include <strings.h>
#include <sys/socket.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/zormsgs.h"

#define OMSGS_TRACE_KEYWORD "$TOOLS"
#define OMSGS_DEBUG_KEYWORD "$TOOLSD"
#include "common/omsgsmod.h"

/* ------------------------------------------------------------ strings */

char *toolsToupperStr(char *pcDest, const char *pcSource, int iLength)
{
  int i = 0;
  (void)mblen(nullptr, 0);                  /* reset the shift state */
  while (i < iLength) {
    int iMax = std::min<int>(static_cast<int>(MB_CUR_MAX), iLength - i);
    int iChar = mblen(pcSource + i, iMax);
    if (iChar <= 0) {
      /* NUL or an invalid sequence: the rest goes as it is. */
      memmove(pcDest + i, pcSource + i, iLength - i);
      return pcDest + i;
    }
    if (iChar == 1)
      pcDest[i] = static_cast<char>(toupper(static_cast<unsigned char>(pcSource[i])));
    else
      memmove(pcDest + i, pcSource + i, iChar);
    i += iChar;
  }
  return pcDest + i;
}

char *toolsTolowerStr(char *pcDest, const char *pcSource, int iLength)
{
  for (int i = 0; i < iLength; i++)
    pcDest[i] = static_cast<char>(tolower(static_cast<unsigned char>(pcSource[i])));
  return pcDest;
}

char *toolsRightTrimStr(char *pcDest, const char *pcSource)
{
  size_t lLength = strlen(pcSource);
  while (lLength > 0 && pcSource[lLength - 1] == ' ') lLength--;
  memmove(pcDest, pcSource, lLength);
  pcDest[lLength] = '\0';
  return pcDest;
}

char *toolsLeftTrimStr(char *pcDest, const char *pcSource)
{
  while (*pcSource == ' ') pcSource++;
  memmove(pcDest, pcSource, strlen(pcSource) + 1);
  return pcDest;
}

char *toolsAllTrimStr(char *pcDest, const char *pcSource)
{
  toolsRightTrimStr(pcDest, pcSource);
  return toolsLeftTrimStr(pcDest, pcDest);
}

int toolsIsdigitStr(const char *pcText, int iLength)
{
  for (int i = 0; i < iLength; i++)
    if (!isdigit(static_cast<unsigned char>(pcText[i]))) return 0;
  return 1;
}

char *toolsFormatStatement(char *pcText)
{
  for (char *pc = pcText; *pc != '\0'; pc++) {
    if (*pc == ';') {
      *pc = '\0';
      break;
    }
    if (*pc == '\n') *pc = ' ';
  }
  return pcText;
}

/* ------------------------------------------------------ packed values */

/*
** Packed decimal of precision p: p digit nibbles then the sign nibble, in
** p / 2 + 1 bytes, two nibbles a byte, high nibble first; an even precision
** begins with one pad nibble.  Nibble n lies in byte n / 2.
*/
static int _toolsNibble(const unsigned char *pucPacked, int iNibble)
{
  unsigned char ucByte = pucPacked[iNibble / 2];
  return (iNibble % 2 == 0) ? (ucByte >> 4) : (ucByte & 0x0F);
}

void toolsStrToDecimalArea(const unsigned char *pucPacked, int iPrecision, int iScale, char *pcOutput)
{
  if (iPrecision < 0) iPrecision = 0;
  iScale = std::clamp(iScale, 0, iPrecision);
  int iSign = pucPacked[iPrecision / 2] & 0x0F;
  *pcOutput++ = (iSign == 0x0B || iSign == 0x0D) ? '-' : '+';
  int iNibble = (iPrecision % 2 == 1) ? 0 : 1;
  for (int i = 0; i < iPrecision - iScale; i++)
    *pcOutput++ = static_cast<char>('0' + _toolsNibble(pucPacked, iNibble++));
  *pcOutput++ = '.';
  for (int i = 0; i < iScale; i++)
    *pcOutput++ = static_cast<char>('0' + _toolsNibble(pucPacked, iNibble++));
}

void toolsStrToTimeArea(const unsigned char *pucBytes, int iCount, char *pcOutput)
{
  for (int i = 0; i < iCount; i++) {
    *pcOutput++ = static_cast<char>('0' + (pucBytes[i] >> 4));
    *pcOutput++ = static_cast<char>('0' + (pucBytes[i] & 0x0F));
  }
}

/* -------------------------------------------------------------- files */

/* Reports a failed operation on pcPath with the error iErrno. */
static void _toolsReport(const char *pcPath, int iErrno, int *piRc)
{
  omsgsFMTEDO(ZORU347E, pcPath, strerror(iErrno));
  *piRc = TOOLS_RC_IO | iErrno;
}

/* Exchanges the real and effective user ids of the process.  The exchange
** may be refused only when the two are unequal and the process has no
** right to set them; it is then simply not done. */
static void _toolsExchangeIds(void)
{
  int iErrno = errno;
  if (setreuid(geteuid(), getuid()) != 0)
    omsgsTrace("toolsExchangeIds refused: %s\n", strerror(errno));
  errno = iErrno;
}

int64_t toolsSizeFile(const char *pcPath, int *piRc)
{
  omsgsTrace("toolsSizeFile pcFile(%s)\n", pcPath);
  int iRc = 0;
  int64_t llSize = -1;
  int iErrno = 0;

  _toolsExchangeIds();
  struct stat st;
  if (stat(pcPath, &st) != 0) {
    iErrno = errno;
  } else if (S_ISBLK(st.st_mode)) {
    /* A device reports no size of its own: its end is its size. */
    int iFd = open(pcPath, O_RDONLY | O_NONBLOCK);
    if (iFd < 0) {
      iErrno = errno;
    } else {
      off_t lEnd = lseek(iFd, 0, SEEK_END);
      if (lEnd < 0) iErrno = errno;
      else llSize = lEnd;
      close(iFd);
    }
  } else {
    llSize = st.st_size;
  }
  _toolsExchangeIds();

  if (iErrno != 0) {
    _toolsReport(pcPath, iErrno, &iRc);
    llSize = -1;
  }
  if (piRc != nullptr) *piRc = iRc;
  omsgsTrace("toolsSizeFile size %lld \n", static_cast<long long>(llSize));
  return llSize;
}

int toolsOpenFile(const char *pcPath, int *piRc, int boReport)
{
  omsgsTrace("toolsOpenFile pcFile(%s)\n", pcPath);
  int iRc = 0;
  _toolsExchangeIds();
  int iFd = open(pcPath, O_RDONLY | O_NONBLOCK);
  int iErrno = errno;
  _toolsExchangeIds();
  if (iFd < 0) {
    iRc = TOOLS_RC_IO | iErrno;
    if (boReport) omsgsFMTEDO(ZORU347E, pcPath, strerror(iErrno));
  }
  if (piRc != nullptr) *piRc = iRc;
  omsgsTrace("toolsOpenFile 0x%x\n", iRc);
  return iFd;
}

/* open(2) with the given flags, mode 0644, and the common report. */
static int _toolsOpenWrite(const char *pcName, const char *pcPath, int iFlags, int *piRc)
{
  omsgsTrace("%s pcFile(%s)\n", pcName, pcPath);
  int iRc = 0;
  int iFd = open(pcPath, iFlags, 0644);
  if (iFd < 0) _toolsReport(pcPath, errno, &iRc);
  if (piRc != nullptr) *piRc = iRc;
  omsgsTrace("%s 0x%x\n", pcName, iRc);
  return iFd;
}

int toolsAppendFile(const char *pcPath, int *piRc)
{
  return _toolsOpenWrite("toolsAppendFile", pcPath, O_WRONLY | O_CREAT | O_APPEND, piRc);
}

int toolsCreateFile(const char *pcPath, int *piRc)
{
  return _toolsOpenWrite("toolsCreateFile", pcPath, O_WRONLY | O_CREAT | O_TRUNC, piRc);
}

/* fopen with the given mode and the common report. */
static FILE *_toolsOpenStream(const char *pcName, const char *pcPath, const char *pcMode, int *piRc)
{
  omsgsTrace("%s pcFile(%s)\n", pcName, pcPath);
  int iRc = 0;
  FILE *pfile = fopen(pcPath, pcMode);
  if (pfile == nullptr) _toolsReport(pcPath, errno, &iRc);
  if (piRc != nullptr) *piRc = iRc;
  omsgsTrace("%s 0x%x\n", pcName, iRc);
  return pfile;
}

FILE *toolsOpenBFile(const char *pcPath, int *piRc)
{
  return _toolsOpenStream("toolsOpenBFile", pcPath, "r", piRc);
}

FILE *toolsAppendBFile(const char *pcPath, int *piRc)
{
  return _toolsOpenStream("toolsAppendBFile", pcPath, "a", piRc);
}

FILE *toolsCreateBFile(const char *pcPath, int *piRc)
{
  return _toolsOpenStream("toolsCreateBFile", pcPath, "w", piRc);
}

int toolsReadInPipe(int iFd, void *pBuffer, int iSize)
{
  char *pc = static_cast<char *>(pBuffer);
  int iDone = 0;
  while (iDone < iSize) {
    ssize_t lRead = read(iFd, pc + iDone, iSize - iDone);
    if (lRead < 0 && errno == EINTR) continue;
    if (lRead <= 0) return static_cast<int>(lRead);
    iDone += static_cast<int>(lRead);
  }
  return iSize;
}

char *toolsFormatFilename(const char *pcName, int iLength, int iPartition, int iSequence, int boReplace)
{
  omsgsTrace("toolsFormatFilename pcFileOrig(%.*s), iLg(%d), iNumPart(%d), iPos(%d), boReplace(%d)\n",
             iLength, pcName, iLength, iPartition, iSequence, boReplace);
  if (pcName == nullptr || iLength < 0) return nullptr;
  size_t lLength = strnlen(pcName, static_cast<size_t>(iLength));
  if (lLength > TOOLS_FILENAME_MAX) {
    /* Cutting it would name another file. */
    std::string strName(pcName, lLength);
    omsgsFMTEDO(ZORU347E, strName.c_str(), strerror(ENAMETOOLONG));
    return nullptr;
  }
  std::string strName(pcName, lLength);

  /* The extension follows the last '.' of the last path component. */
  size_t lSlash = strName.rfind('/');
  size_t lBase = (lSlash == std::string::npos) ? 0 : lSlash + 1;
  size_t lDot = strName.rfind('.');
  std::string strExtension;
  bool boExtension = lDot != std::string::npos && lDot >= lBase;
  if (boExtension) {
    strExtension = strName.substr(lDot + 1);
    strName.resize(lDot);
  }

  std::string strResult = strName;
  if (iPartition >= 0) strResult += "_" + std::to_string(iPartition);
  if (iSequence >= 0) {
    char acSequence[24];
    snprintf(acSequence, sizeof(acSequence), boReplace ? ".%3.3d" : "_%d", iSequence);
    strResult += acSequence;
  }
  if (boExtension && (iSequence < 0 || !boReplace)) strResult += "." + strExtension;

  char *pcResult = strdup(strResult.c_str());
  omsgsTrace("ToolsFormatFileName pcfileDest(%s)\n", pcResult != nullptr ? pcResult : "");
  return pcResult;
}

int toolsGetHostName(char *pcBuffer, int iSize)
{
  int iRc = 0;
  if (pcBuffer == nullptr || iSize <= 0 || gethostname(pcBuffer, static_cast<size_t>(iSize)) != 0) {
    iRc = -1;
  } else {
    pcBuffer[iSize - 1] = '\0';
    char *pcDot = strchr(pcBuffer, '.');
    if (pcDot != nullptr) *pcDot = '\0';
  }
  omsgsTrace("toolsGetHostName iRc 0x%x, pcHostName(%s)\n", iRc, iRc == 0 ? pcBuffer : "");
  return iRc;
}

/* True when two socket addresses hold the same IPv4 or IPv6 address. */
static bool _toolsSameAddress(const sockaddr *pa, const sockaddr *pb)
{
  if (pa == nullptr || pb == nullptr || pa->sa_family != pb->sa_family) return false;
  if (pa->sa_family == AF_INET)
    return reinterpret_cast<const sockaddr_in *>(pa)->sin_addr.s_addr ==
           reinterpret_cast<const sockaddr_in *>(pb)->sin_addr.s_addr;
  if (pa->sa_family == AF_INET6)
    return memcmp(&reinterpret_cast<const sockaddr_in6 *>(pa)->sin6_addr,
                  &reinterpret_cast<const sockaddr_in6 *>(pb)->sin6_addr, sizeof(in6_addr)) == 0;
  return false;
}

int toolsIsLocalHost(const char *pcHost)
{
  if (pcHost == nullptr || pcHost[0] == '\0') return 1;
  char acFull[256] = {0};
  if (gethostname(acFull, sizeof acFull - 1) == 0) {
    std::string strShort(acFull, strcspn(acFull, "."));
    if (strcasecmp(pcHost, acFull) == 0 || strcasecmp(pcHost, strShort.c_str()) == 0) return 1;
  }
  int iLocal = 0;
  addrinfo hints{}, *pres = nullptr;
  hints.ai_socktype = SOCK_STREAM;
  ifaddrs *pifs = nullptr;
  if (getaddrinfo(pcHost, nullptr, &hints, &pres) == 0 && getifaddrs(&pifs) == 0) {
    for (addrinfo *pa = pres; pa != nullptr && !iLocal; pa = pa->ai_next)
      for (ifaddrs *pif = pifs; pif != nullptr && !iLocal; pif = pif->ifa_next)
        if (_toolsSameAddress(pa->ai_addr, pif->ifa_addr)) iLocal = 1;
  }
  if (pifs != nullptr) freeifaddrs(pifs);
  if (pres != nullptr) freeaddrinfo(pres);
  omsgsTrace("toolsIsLocalHost(%s) = %d\n", pcHost, iLocal);
  return iLocal;
}

const char *toolsGetError(void)
{
  return strerror(errno);
}

void toolsDieWithParent(pid_t pidParent)
{
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  /* the parent may have ended before the signal was asked for */
  if (getppid() != pidParent) raise(SIGKILL);
}
