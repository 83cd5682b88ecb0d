/*
** ficdmsemp.cpp
**   First-generation readers of a DMS table space's object table and
**   extent maps (contract in ficdmsemp.h).  Pages are read one at a time
**   into the configuration's first page buffer; the entries a walk still
**   needs are copied out before the next read.  Every entry is checked to
**   start an extent and every page header and slot against its page; a page
**   that fails a check ends the walk with its code instead of being followed.
*/
#include "storage/ficdmsemp.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <vector>

#include "common/obyte.h"
#include "common/oreason.h"
#include "io/socket.h"
#include "storage/ficdata.h"
#include "storage/ficdb2.h"

#define OMSGS_TRACE_KEYWORD "$FICDMS"
#define OMSGS_DEBUG_KEYWORD "$FICDMSD"
#include "common/omsgsmod.h"

/* Where a walk sends the data extents it finds. */
struct ficdmsSink {
  int iPipe;                      /* page-number pipe, or -1 */
  std::vector<int32_t> *pvec;     /* extent list, or NULL */
  bool bFirstDone;                /* word 0 of the pipe written */
};

/* Writes all of the bytes to the pipe. */
static int _ficdmsWritePipe(int iPipe, const unsigned char *p, size_t n)
{
  while (n > 0) {
    ssize_t w = write(iPipe, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) {
      omsgsTrace("ficdmsGetDataPages: pipe write failed (%s)", strerror(errno));
      return FICDMS_RC_PIPE;
    }
    p += w;
    n -= static_cast<size_t>(w);
  }
  return 0;
}

/* One data extent found at table-space page ulExtent. */
static int _ficdmsEmit(ficdmsSink *psink, uint32_t ulExtent, int32_t iX)
{
  if (psink->pvec != nullptr) {
    psink->pvec->push_back(static_cast<int32_t>(ulExtent));
    return 0;
  }
  std::vector<unsigned char> buf;
  buf.reserve(4 * (static_cast<size_t>(iX) + 1));
  auto put = [&buf](uint32_t v) {
    unsigned char a[4];
    obytePutLE32(a, v);
    buf.insert(buf.end(), a, a + 4);
  };
  if (!psink->bFirstDone) {
    put(ulExtent);
    psink->bFirstDone = true;
  }
  for (int32_t k = 0; k < iX; k++) put(ulExtent + static_cast<uint32_t>(k));
  return _ficdmsWritePipe(psink->iPipe, buf.data(), buf.size());
}

int _ficdmsReadPage(const int *piFd, int32_t ilPage, uint32_t ulOffsetLow, uint32_t ulOffsetHigh,
                    unsigned char *pBuffer, const ficdmsConf *pconf)
{
  int64_t llOffset = static_cast<int64_t>(static_cast<uint64_t>(ulOffsetHigh) << 32 | ulOffsetLow);
  int32_t ilPageSize = pconf->ilPageSize;
  int32_t ilPhys = ilPage, ilCont = 0;
  if (ilPage < 0 || ilPageSize <= 0 || pBuffer == nullptr || piFd == nullptr) return ORC_INVALID;
  if (llOffset == 0) {
    ilPhys = ficdmsIdentifyPage(pconf, 0, ilPage, &ilCont);
    if (ilPhys < 0 || ilCont < 0 || ilCont >= pconf->ilContainers) {
      omsgsTrace("ficdmsReadPage: page %d has no container", ilPage);
      return ZORTS_RC_BADMAP;
    }
  }
  int iFd = piFd[ilCont];
  if (iFd < 0) {
    omsgsTrace("ficdmsReadPage: container %d of page %d is not open", ilCont, ilPage);
    return ZORTS_RC_READ;
  }
  int64_t llPos = static_cast<int64_t>(ilPhys) * ilPageSize + llOffset;
  int64_t llGot = 0;
  if (pconf->ilRemote) {
    if (llPos % ilPageSize != 0 || llPos / ilPageSize > INT32_MAX) return ORC_INVALID;
    char *pcError = nullptr;
    int n = iSOCKETreadFile(iFd, static_cast<int32_t>(llPos / ilPageSize), ilPageSize, pBuffer, &pcError);
    if (n < 0) {
      omsgsTrace("ficdmsReadPage: remote read of page %d failed (%s)", ilPage, pcError ? pcError : "");
      return ZORTS_RC_READ;
    }
    llGot = n;
  } else {
    if (lseek(iFd, static_cast<off_t>(llPos), SEEK_SET) < 0) {
      omsgsTrace("ficdmsReadPage: lseek to %lld failed (%s)", static_cast<long long>(llPos), strerror(errno));
      return ZORTS_RC_READ;
    }
    while (llGot < ilPageSize) {
      ssize_t r = read(iFd, pBuffer + llGot, static_cast<size_t>(ilPageSize - llGot));
      if (r < 0 && errno == EINTR) continue;
      if (r < 0) {
        omsgsTrace("ficdmsReadPage: read of page %d failed (%s)", ilPage, strerror(errno));
        return ZORTS_RC_READ;
      }
      if (r == 0) break;
      llGot += r;
    }
  }
  if (llGot < ilPageSize) {
    omsgsTrace("ficdmsReadPage: Incomplete Read iFdDMS(%d), ilNumPg(%d), offtOffset(%lld)", iFd, ilPhys,
               static_cast<long long>(llPos));
    return FICDMS_RC_SHORT_READ;
  }
  if (ficdb2RestaureBits(pBuffer, ilPageSize, pBuffer + 36) != 0) return ORC_INVALID;
  return 0;
}

int _ficdmsReadDataEMP(uint32_t *pulEntries, int32_t *pilEntries, uint32_t *pulLevel, const ficdmsConf *pconf)
{
  int32_t iE, iK;
  if (zortsEmpEntriesPerPage(pconf->ilPageSize, &iE, &iK) != 0) return ORC_INVALID;
  const unsigned char *pPage = pconf->apucPage[0];
  const unsigned char *pAllocs;
  int iCode = zortsEmpReadHeader(pPage, pconf->ilPageSize, iK, pulLevel, pilEntries, &pAllocs);
  if (iCode != 0) {
    omsgsTrace("PCP_EMP(%p) refused: 0x%x", static_cast<const void *>(pPage), iCode);
    return iCode;
  }
  for (int32_t i = 0; i < *pilEntries; i++) pulEntries[i] = obyteGetLE32(pAllocs + 4 * i);
  {
    const unsigned char *pHdr = pPage + obyteGetLE16(pPage);
    uint32_t a[6] = {};
    for (int32_t i = 0; i < 6 && i < *pilEntries; i++) a[i] = pulEntries[i];
    omsgsTrace("PCP_EMP(%p)", static_cast<const void *>(pPage));
    omsgsTrace("PCP_EMP->version(%d)", static_cast<int>(obyteGetLE32(pHdr + ZORTS_EMP_VERSION)));
    omsgsTrace("PCP_EMP->level(%d)", static_cast<int>(*pulLevel));
    omsgsTrace("PCP_EMP->unFmtChild(%d)", static_cast<int>(obyteGetLE32(pHdr + ZORTS_EMP_UNFMTCHILD)));
    omsgsTrace("PCP_EMP->n_entries(%d)", static_cast<int>(*pilEntries));
    omsgsTrace("PCP_EMP->allocations[]={%x,%x,%x,%x,%x,%x....", a[0], a[1], a[2], a[3], a[4], a[5]);
  }
  return 0;
}

/* Reads the EMP page at ilPage and copies out its entries. */
static int _ficdmsLoadEMP(const int *piFd, int32_t ilPage, uint32_t ulOffsetLow, uint32_t ulOffsetHigh,
                          ficdmsConf *pconf, std::vector<uint32_t> &vEntries, uint32_t *pulLevel)
{
  int32_t iE, iK, iEntries = 0;
  if (pconf->apucPage[0] == nullptr || pconf->ilExtentSize < 2 ||
      zortsEmpEntriesPerPage(pconf->ilPageSize, &iE, &iK) != 0)
    return ORC_INVALID;
  int iCode = _ficdmsReadPage(piFd, ilPage, ulOffsetLow, ulOffsetHigh, pconf->apucPage[0], pconf);
  if (iCode != 0) return iCode;
  vEntries.resize(static_cast<size_t>(iK));
  iCode = _ficdmsReadDataEMP(vEntries.data(), &iEntries, pulLevel, pconf);
  if (iCode != 0) return iCode;
  vEntries.resize(static_cast<size_t>(iEntries));
  return 0;
}

/* An entry taken from an EMP page must start an extent. */
static int _ficdmsCheckEntry(uint32_t ulEntry, const ficdmsConf *pconf)
{
  if (ulEntry % static_cast<uint32_t>(pconf->ilExtentSize) != 0 || ulEntry > INT32_MAX) {
    omsgsTrace("EMP entry %u does not start an extent of %d pages", ulEntry, pconf->ilExtentSize);
    return ZORTS_RC_BADMAP;
  }
  return 0;
}

/* The direct pages ilFrom .. ilFrom + iPages - 1: their entries, holes stepped over. */
static int _ficdmsWalkDirect(int32_t ilFrom, int32_t iPages, const int *piFd, uint32_t ulOffsetLow,
                             uint32_t ulOffsetHigh, ficdmsConf *pconf, ficdmsSink *psink)
{
  std::vector<uint32_t> vEntries;
  for (int32_t p = 0; p < iPages; p++) {
    uint32_t ulLevel;
    int iCode = _ficdmsLoadEMP(piFd, ilFrom + p, ulOffsetLow, ulOffsetHigh, pconf, vEntries, &ulLevel);
    if (iCode != 0) return iCode;
    for (uint32_t ulEntry : vEntries) {
      if ((iCode = _ficdmsCheckEntry(ulEntry, pconf)) != 0) return iCode;
      if ((iCode = _ficdmsEmit(psink, ulEntry, pconf->ilExtentSize)) != 0) return iCode;
    }
  }
  return 0;
}

int _ficdmsGetExtDataPages(int32_t ilExtentPage, const int *piFd, uint32_t ulOffsetLow, uint32_t ulOffsetHigh,
                           int iPipe, ficdmsConf *pconf)
{
  ficdmsSink sink{iPipe, nullptr, true};
  return _ficdmsWalkDirect(ilExtentPage, pconf->ilExtentSize, piFd, ulOffsetLow, ulOffsetHigh, pconf, &sink);
}

/* The whole extent map of the object whose first EMP page is ilFirstEmp. */
static int _ficdmsWalk(int32_t ilFirstEmp, const int *piFd, uint32_t ulOffsetLow, uint32_t ulOffsetHigh,
                       ficdmsConf *pconf, ficdmsSink *psink)
{
  int32_t iE, iK, iX = pconf->ilExtentSize;
  if (ilFirstEmp < 0 || iX < 2 || zortsEmpEntriesPerPage(pconf->ilPageSize, &iE, &iK) != 0) return ORC_INVALID;
  int iCode = _ficdmsWalkDirect(ilFirstEmp, iX - 1, piFd, ulOffsetLow, ulOffsetHigh, pconf, psink);
  if (iCode != 0) return iCode;
  std::vector<uint32_t> vIndirect, vDouble;
  uint32_t ulLevel;
  iCode = _ficdmsLoadEMP(piFd, ilFirstEmp + iX - 1, ulOffsetLow, ulOffsetHigh, pconf, vIndirect, &ulLevel);
  if (iCode != 0) return iCode;
  if (!vIndirect.empty() && ulLevel != 0) {
    omsgsTrace("EMP indirect page %d: level %u", ilFirstEmp + iX - 1, ulLevel);
    return ZORTS_RC_BADMAP;
  }
  for (size_t i = 0; i < vIndirect.size(); i++) {
    if ((iCode = _ficdmsCheckEntry(vIndirect[i], pconf)) != 0) return iCode;
    int32_t ilExtent = static_cast<int32_t>(vIndirect[i]);
    if (static_cast<int32_t>(i) < iE) {
      iCode = _ficdmsWalkDirect(ilExtent, iX, piFd, ulOffsetLow, ulOffsetHigh, pconf, psink);
      if (iCode != 0) return iCode;
      continue;
    }
    for (int32_t p = 0; p < iX; p++) {
      iCode = _ficdmsLoadEMP(piFd, ilExtent + p, ulOffsetLow, ulOffsetHigh, pconf, vDouble, &ulLevel);
      if (iCode != 0) return iCode;
      if (!vDouble.empty() && ulLevel != ZORTS_EMP_LEVEL_DOUBLE) {
        omsgsTrace("EMP double-indirect page %d: level %u", ilExtent + p, ulLevel);
        return ZORTS_RC_BADMAP;
      }
      std::vector<uint32_t> vHere = vDouble;
      for (uint32_t ulDirect : vHere) {
        if ((iCode = _ficdmsCheckEntry(ulDirect, pconf)) != 0) return iCode;
        iCode = _ficdmsWalkDirect(static_cast<int32_t>(ulDirect), iX, piFd, ulOffsetLow, ulOffsetHigh, pconf,
                                  psink);
        if (iCode != 0) return iCode;
      }
    }
  }
  return 0;
}

/* Appends the object-table records of the page in the first buffer, from slot ilFrom. */
static int _ficdmsTakeRecords(const ficdmsConf *pconf, int32_t ilFrom, std::vector<ficdmsTabObj> &vObj)
{
  ficdataSlots slots;
  const unsigned char *pPage = pconf->apucPage[0];
  const int32_t ilPageSize = pconf->ilPageSize;
  int iCode = ficdataReadSlots(pPage, ilPageSize, &slots);
  if (iCode != 0) {
    omsgsTrace("Object-table page: slot directory refused (0x%x)", iCode);
    return ZORTS_RC_BADMAP;
  }
  for (int32_t s = ilFrom; s < slots.ilCount; s++) {
    if (slots.aiKind[s] == FICDATA_KIND_EMPTY) continue;
    int32_t ilOffset = slots.ailOffset[s];
    int32_t ilAvail = ilPageSize - (ilOffset + 4);
    unsigned char aucRec[ZORTS_OBJTAB_CURRENT_SIZE] = {};
    int32_t ilTake = ilAvail < ZORTS_OBJTAB_CURRENT_SIZE ? ilAvail : ZORTS_OBJTAB_CURRENT_SIZE;
    if (ilTake > 0) memcpy(aucRec, pPage + ilOffset + 4, static_cast<size_t>(ilTake));
    int32_t ilNeed = aucRec[ZORTS_OBJTAB_MARKER] == ZORTS_OBJTAB_OLD_MARKER ? ZORTS_OBJTAB_OLD_SIZE
                                                                             : ZORTS_OBJTAB_LOB_EMP + 4;
    if (ilTake < ilNeed) {
      omsgsTrace("Object-table page: record of slot %d runs past the page", s);
      return ZORTS_RC_BADMAP;
    }
    unsigned char *pRec = zortsObjTabToLastVersion(aucRec);
    if (pRec == nullptr) return ORC_NOMEM;
    ficdmsTabObj obj{};
    memcpy(obj.aucRecord, pRec, ZORTS_OBJTAB_CURRENT_SIZE);
    free(pRec);
    const unsigned char *r = obj.aucRecord;
    obj.sTbsId = static_cast<int16_t>(obyteGetLE16(r + ZORTS_OBJTAB_DAT_TBSID));
    obj.sObjId = static_cast<int16_t>(obyteGetLE16(r + ZORTS_OBJTAB_DAT_OBJID));
    obj.ilDataEmp = static_cast<int32_t>(obyteGetLE32(r + ZORTS_OBJTAB_DAT_EMP));
    obj.ilFirstData = static_cast<int32_t>(obyteGetLE32(r + ZORTS_OBJTAB_DAT_FIRST));
    obj.ilLFEmp = static_cast<int32_t>(obyteGetLE32(r + ZORTS_OBJTAB_LF_EMP));
    obj.ilLOBEmp = static_cast<int32_t>(obyteGetLE32(r + ZORTS_OBJTAB_LOB_EMP));
    obj.sLFTbsId = static_cast<int16_t>(obyteGetLE16(r + ZORTS_OBJTAB_LF_TBSID));
    obj.sLFObjId = static_cast<int16_t>(obyteGetLE16(r + ZORTS_OBJTAB_LF_OBJID));
    obj.sLOBTbsId = static_cast<int16_t>(obyteGetLE16(r + ZORTS_OBJTAB_LOB_TBSID));
    obj.sLOBObjId = static_cast<int16_t>(obyteGetLE16(r + ZORTS_OBJTAB_LOB_OBJID));
    vObj.push_back(obj);
  }
  return 0;
}

ficdmsTabObj *ficdmsInitTabObj(ficdmsConf *pconf, const int *piFd, uint32_t ulOffsetLow, uint32_t ulOffsetHigh,
                               int32_t *pilCount)
{
  *pilCount = -1;
  int32_t iX = pconf != nullptr ? pconf->ilExtentSize : 0;
  if (pconf == nullptr || pconf->apucPage[0] == nullptr || iX < 1) return nullptr;
  std::vector<uint32_t> vExtents;
  std::vector<ficdmsTabObj> vObj;
  uint32_t ulLevel;
  /* page 1: the extents of the object table */
  int iCode = _ficdmsLoadEMP(piFd, 1, ulOffsetLow, ulOffsetHigh, pconf, vExtents, &ulLevel);
  if (iCode == 0 && vExtents.empty()) iCode = ZORTS_RC_BADMAP;
  for (size_t i = 0; iCode == 0 && i < vExtents.size(); i++) iCode = _ficdmsCheckEntry(vExtents[i], pconf);
  int64_t llPages = 1, llMapped = static_cast<int64_t>(vExtents.size()) * iX;
  for (int64_t p = 0; iCode == 0 && p < llPages; p++) {
    if (p >= llMapped) {
      omsgsTrace("Object table: %lld pages, %lld mapped", static_cast<long long>(llPages),
                 static_cast<long long>(llMapped));
      iCode = ZORTS_RC_BADMAP;
      break;
    }
    int32_t ilPage = static_cast<int32_t>(vExtents[static_cast<size_t>(p / iX)] + p % iX);
    iCode = _ficdmsReadPage(piFd, ilPage, ulOffsetLow, ulOffsetHigh, pconf->apucPage[0], pconf);
    if (iCode != 0) break;
    if (p == 0) {
      /* the data-file header: the object table's page count */
      ficdataSlots slots;
      uint32_t ulPages = 0;
      if (ficdataReadSlots(pconf->apucPage[0], pconf->ilPageSize, &slots) != 0 || slots.ilCount < 1 ||
          slots.ailOffset[0] < 0 ||
          !obyteReadLE32(pconf->apucPage[0] + slots.ailOffset[0] + 4, pconf->apucPage[0] + pconf->ilPageSize,
                         &ulPages) ||
          ulPages < 1) {
        omsgsTrace("Object table: no data-file header on page %d", ilPage);
        iCode = ZORTS_RC_BADMAP;
        break;
      }
      llPages = ulPages;
    }
    /* object page 0: slot 0 is the data-file header; the records of objects 1 to 3 lie
       in slots 1 to 3, where the position of an object id puts them */
    iCode = _ficdmsTakeRecords(pconf, p == 0 ? 1 : 0, vObj);
  }
  if (iCode != 0) {
    omsgsTrace("ficdmsInitTabObj: 0x%x", iCode);
    return nullptr;
  }
  *pilCount = static_cast<int32_t>(vObj.size());
  if (vObj.empty()) return nullptr;
  auto *pentries = static_cast<ficdmsTabObj *>(malloc(vObj.size() * sizeof(ficdmsTabObj)));
  if (pentries == nullptr) {
    *pilCount = -1;
    return nullptr;
  }
  memcpy(pentries, vObj.data(), vObj.size() * sizeof(ficdmsTabObj));
  return pentries;
}

/* The entry of object (ilObjId, ilTbsId), or NULL. */
static const ficdmsTabObj *_ficdmsFindObj(const ficdmsTabObj *pentries, int32_t ilCount, int32_t ilObjId,
                                          int32_t ilTbsId)
{
  omsgsTrace("ficdmsFindObj iIdTable(%d), iIdTabSpace(%d)", ilObjId, ilTbsId);
  for (int32_t i = 0; pentries != nullptr && i < ilCount; i++) {
    if (pentries[i].sObjId == ilObjId && pentries[i].sTbsId == ilTbsId) {
      omsgsTrace("Found");
      return &pentries[i];
    }
  }
  omsgsTrace("Not Found");
  return nullptr;
}

int ficdmsGetFirstDataPage(const ficdmsTabObj *pentries, int32_t ilCount, int32_t ilObjId, int32_t ilTbsId,
                           int32_t *pilPage)
{
  const ficdmsTabObj *pobj = _ficdmsFindObj(pentries, ilCount, ilObjId, ilTbsId);
  if (pobj == nullptr) return FICDMS_RC_NOT_FOUND;
  *pilPage = pobj->ilFirstData;
  return 0;
}

int ficdmsGetFirstPages(const ficdmsTabObj *pentries, int32_t ilCount, int32_t ilObjId, int32_t ilTbsId,
                        int32_t *pilFirstEmp, int32_t *pilFirstData)
{
  const ficdmsTabObj *pobj = _ficdmsFindObj(pentries, ilCount, ilObjId, ilTbsId);
  if (pobj == nullptr) return FICDMS_RC_NOT_FOUND;
  *pilFirstEmp = pobj->ilDataEmp;
  *pilFirstData = pobj->ilFirstData;
  return 0;
}

int ficdmsGetDataPages(ficdmsConf *pconf, const int *piFd, uint32_t ulOffsetLow, uint32_t ulOffsetHigh,
                       const ficdmsTabObj *pentries, int32_t ilCount, int32_t ilObjId, int32_t ilTbsId, int iPipe)
{
  const ficdmsTabObj *pobj = _ficdmsFindObj(pentries, ilCount, ilObjId, ilTbsId);
  if (pobj == nullptr) return FICDMS_RC_NOT_FOUND;
  ficdmsSink sink{iPipe, nullptr, false};
  int iCode = _ficdmsWalk(pobj->ilDataEmp, piFd, ulOffsetLow, ulOffsetHigh, pconf, &sink);
  if (iCode != 0) omsgsTrace("ficdmsGetDataPages: 0x%x", iCode);
  return iCode;
}

/* The extent list of the object whose first EMP page is ilFirstEmp. */
static int32_t *_ficdmsGetLongPages(ficdmsConf *pconf, const int *piFd, uint32_t ulOffsetLow,
                                    uint32_t ulOffsetHigh, int32_t ilFirstEmp, int32_t *pilCount)
{
  std::vector<int32_t> vExtents;
  ficdmsSink sink{-1, &vExtents, false};
  int iCode = _ficdmsWalk(ilFirstEmp, piFd, ulOffsetLow, ulOffsetHigh, pconf, &sink);
  if (iCode != 0) {
    omsgsTrace("ficdmsGetLongPages at %d: 0x%x", ilFirstEmp, iCode);
    *pilCount = -1;
    return nullptr;
  }
  *pilCount = static_cast<int32_t>(vExtents.size());
  if (vExtents.empty()) return nullptr;
  auto *pil = static_cast<int32_t *>(malloc(vExtents.size() * sizeof(int32_t)));
  if (pil == nullptr) {
    *pilCount = -1;
    return nullptr;
  }
  memcpy(pil, vExtents.data(), vExtents.size() * sizeof(int32_t));
  return pil;
}

int32_t *ficdmsGetLFPages(ficdmsConf *pconf, const int *piFd, uint32_t ulOffsetLow, uint32_t ulOffsetHigh,
                          const ficdmsTabObj *pentries, int32_t ilCount, int32_t ilObjId, int32_t ilTbsId,
                          int32_t *pilCount)
{
  const ficdmsTabObj *pobj = _ficdmsFindObj(pentries, ilCount, ilObjId, ilTbsId);
  *pilCount = pobj == nullptr ? -1 : 0;
  if (pobj == nullptr || pobj->sLFObjId == 0) return nullptr;
  return _ficdmsGetLongPages(pconf, piFd, ulOffsetLow, ulOffsetHigh, pobj->ilLFEmp, pilCount);
}

int32_t *ficdmsGetLOBPages(ficdmsConf *pconf, const int *piFd, uint32_t ulOffsetLow, uint32_t ulOffsetHigh,
                           const ficdmsTabObj *pentries, int32_t ilCount, int32_t ilObjId, int32_t ilTbsId,
                           int32_t *pilCount)
{
  const ficdmsTabObj *pobj = _ficdmsFindObj(pentries, ilCount, ilObjId, ilTbsId);
  *pilCount = pobj == nullptr ? -1 : 0;
  if (pobj == nullptr || pobj->sLOBObjId == 0) return nullptr;
  return _ficdmsGetLongPages(pconf, piFd, ulOffsetLow, ulOffsetHigh, pobj->ilLOBEmp, pilCount);
}

void ficdmsFreeTabObj(ficdmsTabObj *pentries, int32_t)
{
  free(pentries);
}
