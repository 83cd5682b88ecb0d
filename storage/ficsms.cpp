/*
** ficsms.cpp
**   Page mapping of SMS table spaces (ficsms.h), the access configuration
**   of a partition record, and the checking and opening of a table's files
**   (".DAT", ".LF", ".LB") in the containers, locally or through the daemon.
*/
#include "storage/ficsms.h"

#include <fcntl.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/ochar.h"
#include "common/olist.h"
#include "common/omsgs.h"
#include "io/socket.h"
#include "model/tools.h"
#include "model/zormsgs.h"
#include "storage/ficcont.h"
#include "storage/ficdb2.h"

#define OMSGS_TRACE_KEYWORD "$FICSMS"
#define OMSGS_DEBUG_KEYWORD nullptr
#include "common/omsgsmod.h"

namespace {

std::string _text(const ochar *pchar)
{
  if (pchar == nullptr || ocharIsNotValid(pchar)) return std::string();
  return std::string(_charText(pchar), static_cast<size_t>(pchar->ilBU)).c_str();
}

/* Container paths of the record in list order. */
std::vector<std::string> _contPaths(const ficcont *pficcont)
{
  std::vector<std::string> v;
  if (pficcont == nullptr || pficcont->plistCont == nullptr) return v;
  for (void *pitem = pficcont->plistCont->pitemTop; pitem != nullptr;
       pitem = static_cast<olistItem *>(pitem)->pitemNext)
    v.push_back(_text(static_cast<ficcontCont *>(pitem)->pcharPath));
  return v;
}

/* The table's file name in a container (malloc'ed), or NULL. */
char *_fileName(const std::string &strCont, int32_t ilFileId, const char *pcExtension)
{
  int iLength = std::snprintf(nullptr, 0, FICSMS_FILE_FORMAT, strCont.c_str(), ilFileId, pcExtension);
  if (iLength < 0) return nullptr;
  auto *pc = static_cast<char *>(malloc(static_cast<size_t>(iLength) + 1));
  if (pc != nullptr) std::snprintf(pc, static_cast<size_t>(iLength) + 1, FICSMS_FILE_FORMAT, strCont.c_str(), ilFileId, pcExtension);
  return pc;
}

/* Access result of a file (0, -1 absent, -2 denied) and its size in blocks (-1 unknown). */
int _checkFile(const ficcont *pficcont, const char *pcUser, const char *pcName, int32_t ilBlock, int64_t *pllBlocks)
{
  *pllBlocks = -1;
  if (pficcont->ilRemote) {
    char *pcError = nullptr;
    std::string strHost = _text(pficcont->pcharHost);
    int iAccess = iSOCKETexistFile(strHost.c_str(), pcUser, pcName, static_cast<uint32_t>(ilBlock), pllBlocks,
                                   &pcError);
    if (pcError != nullptr) omsgsTrace("%s: %s", pcName, pcError);
    return iAccess;
  }
  int iAccess = ficdb2ControlFileAccess(pcName);
  if (iAccess == 0 && ilBlock > 0) {
    int iRc = 0;
    int64_t llSize = toolsSizeFile(pcName, &iRc);
    if (llSize >= 0) *pllBlocks = llSize / ilBlock;
  }
  return iAccess;
}

/* Opens one checked file; -1 (after ZORU347E) when it cannot be opened. */
int _openFile(const ficcont *pficcont, const char *pcUser, const char *pcName)
{
  int iFd;
  if (pficcont->ilRemote) {
    int64_t llSize = -1;
    char *pcError = nullptr;
    std::string strHost = _text(pficcont->pcharHost);
    iFd = iSOCKETopenFile(strHost.c_str(), pcUser, pcName, &llSize, &pcError);
    if (iFd < 0) omsgsFMTEDO(ZORU347E, pcName, pcError != nullptr ? pcError : "remote open");
  } else {
    int iRc = 0;
    iFd = toolsOpenFile(pcName, &iRc, 1);
    if (iFd >= 0) {
      int iFlags = fcntl(iFd, F_GETFL);
      if (iFlags >= 0) fcntl(iFd, F_SETFL, iFlags & ~O_NONBLOCK);
    }
  }
  omsgsTrace("open %s Returned %i", pcName, iFd);
  return iFd;
}

void _closeFile(const ficcont *pficcont, int iFd)
{
  if (iFd < 0) return;
  if (pficcont != nullptr && pficcont->ilRemote) {
    char *pcError = nullptr;
    iSOCKETcloseFile(iFd, &pcError);
  } else {
    close(iFd);
  }
}

/* The ".LF" / ".LB" files of every container, checked and opened at once. */
int *_openLongFiles(int32_t ilFileId, const ficcont *pficcont, int *piOk, int **ppiAccess, const char *pcUser,
                    const char *pcExtension)
{
  *piOk = 0;
  if (ppiAccess != nullptr) *ppiAccess = nullptr;
  std::vector<std::string> vConts = _contPaths(pficcont);
  size_t n = vConts.size();
  if (n == 0) {
    omsgsTrace("%s files: no container", pcExtension);
    return nullptr;
  }
  auto *piFd = static_cast<int *>(malloc(sizeof(int) * n));
  auto *piAccess = static_cast<int *>(malloc(sizeof(int) * n));
  std::vector<std::string> vNames(n);
  if (piFd == nullptr || piAccess == nullptr) {
    free(piFd);
    free(piAccess);
    return nullptr;
  }
  bool boOk = true, boOpened = false;
  for (size_t i = 0; i < n; i++) {
    piFd[i] = -1;
    char *pcName = _fileName(vConts[i], ilFileId, pcExtension);
    vNames[i] = pcName != nullptr ? pcName : "";
    free(pcName);
    int64_t llBlocks;
    piAccess[i] = _checkFile(pficcont, pcUser, vNames[i].c_str(), 1, &llBlocks);
    if (piAccess[i] == 0) {
      piFd[i] = _openFile(pficcont, pcUser, vNames[i].c_str());
      if (piFd[i] >= 0) boOpened = true;
      else boOk = false;
    } else if (piAccess[i] == -2) {
      omsgsFMTEDO(ZORU318E, vNames[i].c_str());
      boOk = false;
    }
  }
  if (!boOpened) boOk = false;
  if (!boOk)
    for (size_t i = 0; i < n; i++)
      if (piAccess[i] == -1) omsgsFMTEDO(ZORU319E, vNames[i].c_str());
  *piOk = boOk ? 1 : 0;
  if (ppiAccess != nullptr) *ppiAccess = piAccess;
  else free(piAccess);
  return piFd;
}

}  // namespace

int32_t ficsmsIdentifyPage(const ficsmsConf *pconf, int32_t ilFileId, int32_t ilPage, int32_t *pilCont)
{
  *pilCont = -1;
  if (pconf == nullptr || ilPage < 0 || ilFileId < 0 || pconf->ilExtentSize < 1 || pconf->ilContainers < 1)
    return -1;
  int32_t ilExtent = ilPage / pconf->ilExtentSize;
  *pilCont = static_cast<int32_t>((static_cast<int64_t>(ilFileId) + ilExtent) % pconf->ilContainers);
  return (ilExtent / pconf->ilContainers) * pconf->ilExtentSize + ilPage % pconf->ilExtentSize;
}

int32_t _ficsmsMapPage(const void *pConf, int32_t ilFileId, int32_t ilPage, int32_t *pilCont)
{
  return ficsmsIdentifyPage(static_cast<const ficsmsConf *>(pConf), ilFileId, ilPage, pilCont);
}

ficsmsConf *ficsmsInitConf(const ficcont *pficcont)
{
  if (pficcont == nullptr) return nullptr;
  auto *pconf = static_cast<ficsmsConf *>(calloc(1, sizeof(ficsmsConf)));
  if (pconf == nullptr) return nullptr;
  pconf->ilRemote = pficcont->ilRemote;
  pconf->ilExtentSize = pficcont->ilExtentSize;
  pconf->ilContainers = pficcont->ilContainers;
  return pconf;
}

int ficsmsControlFiles(const ficcont *pficcont, int32_t ilFileId, const char *pcExtension, const char *pcUser,
                       char **ppcNames, int *piAccess, int32_t *pilPages)
{
  std::vector<std::string> vConts = _contPaths(pficcont);
  size_t n = vConts.size();
  if (pilPages != nullptr) *pilPages = 0;
  if (n == 0 || ppcNames == nullptr || piAccess == nullptr || pcExtension == nullptr) {
    omsgsTrace("ficsmsControlFiles: no container");
    return 0;
  }
  int32_t ilPageSize = pficcont->ilPageSize;
  int64_t llPages = 0;
  bool boFound = false;
  auto freeNames = [&](size_t ulCount) {
    for (size_t i = 0; i < ulCount; i++) {
      free(ppcNames[i]);
      ppcNames[i] = nullptr;
    }
  };
  for (size_t i = 0; i < n; i++) {
    ppcNames[i] = _fileName(vConts[i], ilFileId, pcExtension);
    if (ppcNames[i] == nullptr) {
      freeNames(i);
      return 0;
    }
    int64_t llBlocks;
    piAccess[i] = _checkFile(pficcont, pcUser, ppcNames[i], ilPageSize, &llBlocks);
    if (piAccess[i] == -2) {
      omsgsFMTEDO(ZORU318E, ppcNames[i]);
      freeNames(i + 1);
      return 0;
    }
    if (piAccess[i] == 0) {
      boFound = true;
      if (llBlocks > 0) llPages += llBlocks;
    }
  }
  if (!boFound) {
    for (size_t i = 0; i < n; i++)
      if (piAccess[i] == -1) omsgsFMTEDO(ZORU319E, ppcNames[i]);
    freeNames(n);
    return 0;
  }
  if (pilPages != nullptr) *pilPages = llPages > INT32_MAX ? INT32_MAX : static_cast<int32_t>(llPages);
  omsgsTrace("ficsmsControlFiles: %lld pages", static_cast<long long>(llPages));
  return 1;
}

int *ficsmsOpenFiles(const ficcont *pficcont, const char *pcUser, char **ppcNames, const int *piAccess)
{
  size_t n = _contPaths(pficcont).size();
  if (n == 0 || ppcNames == nullptr || piAccess == nullptr) return nullptr;
  auto *piFd = static_cast<int *>(malloc(sizeof(int) * n));
  for (size_t i = 0; i < n; i++) {
    if (piFd != nullptr) piFd[i] = piAccess[i] == 0 && ppcNames[i] != nullptr ? _openFile(pficcont, pcUser, ppcNames[i]) : -1;
    free(ppcNames[i]);
    ppcNames[i] = nullptr;
  }
  return piFd;
}

void ficsmsCloseFiles(const ficcont *pficcont, int *piFd, int *piAccess)
{
  size_t n = _contPaths(pficcont).size();
  if (piFd != nullptr)
    for (size_t i = 0; i < n; i++)
      if (piAccess == nullptr || piAccess[i] == 0) _closeFile(pficcont, piFd[i]);
  free(piFd);
  free(piAccess);
}

int *ficsmsOpenLFFiles(int32_t ilFileId, const ficcont *pficcont, int *piOk, int **ppiAccess, const char *pcUser)
{
  return _openLongFiles(ilFileId, pficcont, piOk, ppiAccess, pcUser, FICSMS_EXT_LF);
}

int *ficsmsOpenLOBFiles(int32_t ilFileId, const ficcont *pficcont, int *piOk, int **ppiAccess, const char *pcUser)
{
  return _openLongFiles(ilFileId, pficcont, piOk, ppiAccess, pcUser, FICSMS_EXT_LB);
}
