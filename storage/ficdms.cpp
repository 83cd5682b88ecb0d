/*
** ficdms.cpp
**   Page mapping of DMS table spaces (ficdms.h); the striping itself is
**   ficcontMapExtent.  Also the access configuration of a partition record
**   and the checking, opening and closing of its containers.
*/
#include "storage/ficdms.h"

#include "storage/ficcont.h"

#include "common/olist.h"

#include <fcntl.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "common/ochar.h"
#include "common/omsgs.h"
#include "io/socket.h"
#include "model/tools.h"
#include "model/zormsgs.h"
#include "storage/ficdb2.h"

#define OMSGS_TRACE_KEYWORD "$FICDMS"
#define OMSGS_DEBUG_KEYWORD nullptr
#include "common/omsgsmod.h"

int32_t ficdmsIdentifyPage(const ficdmsConf *pconf, int32_t ilTableId, int32_t ilPage, int32_t *pilCont)
{
  (void)ilTableId;
  *pilCont = -1;
  if (pconf == nullptr || ilPage < 0 || pconf->ilExtentSize < 1) return -1;
  int32_t ilExtent = ilPage / pconf->ilExtentSize;
  int32_t ilOffset = ilPage % pconf->ilExtentSize;
  int32_t ilCont = -1, ilRow = -1;
  if (ficcontMapExtent(pconf->plistMapCb, pconf->ilContainers, ilExtent, &ilCont, &ilRow) != 0) return -1;
  /* the container's header comes before its first extent */
  int32_t ilHeader = -1, ilIndex = 0;
  if (pconf->plistCont != nullptr) {
    for (void *pitem = pconf->plistCont->pitemTop; pitem != nullptr;
         pitem = static_cast<olistItem *>(pitem)->pitemNext, ilIndex++) {
      if (ilIndex == ilCont) {
        ilHeader = static_cast<ficcontCont *>(pitem)->ilHeaderPages;
        break;
      }
    }
  }
  if (ilHeader < 0) return -1;
  int64_t ilResult = static_cast<int64_t>(ilHeader) + static_cast<int64_t>(ilRow) * pconf->ilExtentSize + ilOffset;
  if (ilResult > INT32_MAX) return -1;
  *pilCont = ilCont;
  return static_cast<int32_t>(ilResult);
}

/* ------------------------------------------------ configuration and containers */

namespace {

std::string _text(const ochar *pchar)
{
  if (pchar == nullptr || ocharIsNotValid(pchar)) return std::string();
  return std::string(_charText(pchar), static_cast<size_t>(pchar->ilBU)).c_str();
}

/* Containers of the record in list order. */
template <typename Fn>
void _forEachCont(const ficcont *pficcont, Fn fn)
{
  if (pficcont == nullptr || pficcont->plistCont == nullptr) return;
  int32_t i = 0;
  for (void *pitem = pficcont->plistCont->pitemTop; pitem != nullptr;
       pitem = static_cast<olistItem *>(pitem)->pitemNext, i++)
    if (!fn(i, static_cast<ficcontCont *>(pitem))) return;
}

int32_t _contCount(const ficcont *pficcont)
{
  int32_t n = 0;
  _forEachCont(pficcont, [&](int32_t, ficcontCont *) { n++; return true; });
  return n;
}

}  // namespace

int32_t _ficdmsMapPage(const void *pConf, int32_t ilTableId, int32_t ilPage, int32_t *pilCont)
{
  return ficdmsIdentifyPage(static_cast<const ficdmsConf *>(pConf), ilTableId, ilPage, pilCont);
}

ficdmsConf *ficdmsInitConf(const ficcont *pficcont)
{
  if (pficcont == nullptr) return nullptr;
  auto *pconf = static_cast<ficdmsConf *>(calloc(1, sizeof(ficdmsConf)));
  if (pconf == nullptr) return nullptr;
  pconf->ilRemote = pficcont->ilRemote;
  pconf->ilExtentSize = pficcont->ilExtentSize;
  pconf->ilPageSize = pficcont->ilPageSize;
  pconf->ilMapCbEntries = pficcont->ilMapCbEntries;
  pconf->ilContainers = pficcont->ilContainers;
  pconf->plistMapCb = pficcont->plistMapCb;
  pconf->plistCont = pficcont->plistCont;
  return pconf;
}

int ficdmsInitBuffers(ficdmsConf *pconf, int32_t ilPageSize)
{
  if (pconf == nullptr || ilPageSize <= 0) return ORC_INVALID;
  auto *p0 = static_cast<unsigned char *>(calloc(1, static_cast<size_t>(ilPageSize)));
  auto *p1 = static_cast<unsigned char *>(calloc(1, static_cast<size_t>(ilPageSize)));
  if (p0 == nullptr || p1 == nullptr) {
    free(p0);
    free(p1);
    return ORC_NOMEM;
  }
  free(pconf->apucPage[0]);
  free(pconf->apucPage[1]);
  pconf->apucPage[0] = p0;
  pconf->apucPage[1] = p1;
  return 0;
}

void ficdmsFreeBuffers(ficdmsConf *pconf)
{
  if (pconf == nullptr) return;
  free(pconf->apucPage[0]);
  free(pconf->apucPage[1]);
  free(pconf);
}

int ficdmsControlFiles(const ficcont *pficcont, const char *pcUser)
{
  int iResult = 1;
  if (_contCount(pficcont) == 0) {
    omsgsTrace("ficdmsControlFiles: no container");
    iResult = 0;
  }
  std::string strHost = pficcont != nullptr ? _text(pficcont->pcharHost) : std::string();
  _forEachCont(pficcont, [&](int32_t, ficcontCont *pcont) {
    std::string strPath = _text(pcont->pcharPath);
    int iAccess;
    if (pficcont->ilRemote) {
      int64_t llBlocks = 0;
      char *pcError = nullptr;
      iAccess = iSOCKETexistFile(strHost.c_str(), pcUser, strPath.c_str(), 1, &llBlocks, &pcError);
      if (pcError != nullptr) omsgsTrace("%s: %s", strPath.c_str(), pcError);
    } else {
      iAccess = ficdb2ControlFileAccess(strPath.c_str());
    }
    if (iAccess == -2) omsgsFMTEDO(ZORU318E, strPath.c_str());
    else if (iAccess != 0) omsgsFMTEDO(ZORU319E, strPath.c_str());
    if (iAccess != 0) iResult = 0;
    return iAccess == 0;
  });
  omsgsTrace("ficdmsControlFiles return 0x%x", iResult);
  return iResult;
}

int *ficdmsOpenFiles(const ficcont *pficcont, const char *pcUser)
{
  int32_t n = _contCount(pficcont);
  if (n == 0) return nullptr;
  auto *piFd = static_cast<int *>(malloc(sizeof(int) * static_cast<size_t>(n)));
  if (piFd == nullptr) return nullptr;
  std::string strHost = _text(pficcont->pcharHost);
  _forEachCont(pficcont, [&](int32_t i, ficcontCont *pcont) {
    std::string strPath = _text(pcont->pcharPath);
    int iFd;
    if (pficcont->ilRemote) {
      int64_t llSize = -1;
      char *pcError = nullptr;
      iFd = iSOCKETopenFile(strHost.c_str(), pcUser, strPath.c_str(), &llSize, &pcError);
      if (iFd < 0) omsgsFMTEDO(ZORU347E, strPath.c_str(), pcError != nullptr ? pcError : "remote open");
    } else {
      int iRc = 0;
      iFd = toolsOpenFile(strPath.c_str(), &iRc, 1);
      if (iFd >= 0) {
        /* the container is read with blocking reads */
        int iFlags = fcntl(iFd, F_GETFL);
        if (iFlags >= 0) fcntl(iFd, F_SETFL, iFlags & ~O_NONBLOCK);
      }
    }
    omsgsTrace("open Returned %i", iFd);
    piFd[i] = iFd;
    return true;
  });
  return piFd;
}

void ficdmsCloseFiles(const ficcont *pficcont, int *piFd)
{
  if (piFd == nullptr) return;
  bool boRemote = pficcont != nullptr && pficcont->ilRemote;
  _forEachCont(pficcont, [&](int32_t i, ficcontCont *) {
    if (piFd[i] >= 0) {
      if (boRemote) {
        char *pcError = nullptr;
        iSOCKETcloseFile(piFd[i], &pcError);
      } else {
        close(piFd[i]);
      }
    }
    return true;
  });
  free(piFd);
}
