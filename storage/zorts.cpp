/*
** zorts.cpp
**   The table-space object's own operations: creation over a backup image
**   or over the threaded online reader (with the long-field and LOB child
**   objects of the table), thread launch, destruction, and the loading of
**   long fields and LOBs through a child object's read-absolute slot, into
**   an unload record or into a LOB file through the file writer.  The
**   extent-map walk and the first-page reading live in zortsemp.cpp and
**   zortsdesc.cpp; the page sources in zorbk.cpp and zordat.cpp.
**
**   Every count, position and slot taken from a long-field or LOB
**   descriptor is checked before it is followed: a descriptor whose slots
**   lie outside it, a negative length or position, or a LOB whose segments
**   end before its length is refused with ZORTS_RC_BADDESC.
**
**   An object is used by one thread of one process.
*/
#include "storage/zorts.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "common/obyte.h"
#include "common/ochar.h"
#include "common/omsgs.h"
#include "model/zormsgs.h"
#include "io/zor3write.h"
#include "storage/ficcont.h"
#include "storage/zorbk.h"
#include "storage/zordat.h"

#define OMSGS_TRACE_KEYWORD "$TS"
#define OMSGS_DEBUG_KEYWORD "$TSD"
#include "common/omsgsmod.h"

namespace {

/* Largest buddy size code and segment shift a LOB can use (2 GB LOBs). */
const int ZORTS_MAX_SHIFT = 31;
/* Running buddy size past which it stops growing. */
const int64_t ZORTS_BUDDY_CAP = 0x3FFFFFF;

/* Allocates a zeroed object of the backup source. */
zorts *_zortsAlloc(zorbk *pzorbk, int32_t iType)
{
  zorts *pzorts = static_cast<zorts *>(std::calloc(1, sizeof(zorts)));
  if (pzorts == nullptr) return nullptr;
  pzorts->iSource = ZORTS_SOURCE_BACKUP;
  pzorts->pzorbk = pzorbk;
  pzorts->sCcsid = pzorbk->isCCSID;
  pzorts->iType = iType;
  return pzorts;
}

/* An object of the online source over an access object, its geometry from its partition record. */
zorts *_zortsAllocOnline(zordat *pzordat, int32_t iType)
{
  zorts *pzorts = static_cast<zorts *>(std::calloc(1, sizeof(zorts)));
  if (pzorts == nullptr) return nullptr;
  pzorts->iSource = ZORTS_SOURCE_ONLINE;
  pzorts->pzordat = pzordat;
  pzorts->iType = iType;
  if (pzordat->pficcont != nullptr) {
    pzorts->ilExtentSize = pzordat->pficcont->ilExtentSize;
    pzorts->ilPageSize = pzordat->pficcont->ilPageSize;
    pzorts->ulTbsFlags = pzordat->pficcont->ulFlags;
  }
  pzorts->pfnReadAbs = zordatReadAbsDatPage;
  return pzorts;
}

/* Frees the page source of a backup object (by its type). */
void _zortsFreeBackupSource(zorts *pzorts)
{
  zorbkPageSource *pps = static_cast<zorbkPageSource *>(pzorts->pPageSource);
  if (pzorts->iType == ZORTS_TYPE_DMS) zorbkDMSPSDestroy(pps);
  else zorbkSMSPSDestroy(pps);
  pzorts->pPageSource = nullptr;
}

typedef zorbkPageSource *(*_zortsOpener)(zorts *, int32_t, int32_t, int *);

/* A child object over (ilTbsId, ilObjId) with its read-absolute slot and
   page source, or NULL (the child is dropped) when the source does not open. */
zorts *_zortsCreateChild(zorts *pzortsParent, zortsReadAbsProc pfnReadAbs, _zortsOpener pfnOpen,
                         int32_t ilTbsId, int32_t ilObjId, const char *pcWhat)
{
  zorts *pchild = _zortsAlloc(pzortsParent->pzorbk, pzortsParent->iType);
  if (pchild == nullptr) return nullptr;
  pchild->pfnReadAbs = pfnReadAbs;
  int iCode = 0;
  zorbkPageSource *pps = pfnOpen(pchild, ilTbsId, ilObjId, &iCode);
  if (pps == nullptr) {
    omsgsTrace("No %s object for table %d.%d (0x%x)", pcWhat, ilTbsId, ilObjId, iCode);
    std::free(pchild);
    return nullptr;
  }
  pchild->pPageSource = pps;
  return pchild;
}

/* Table-space page of object page ulObjPage of a child object. */
int _zortsObjToAbs(zorts *pzorts, uint32_t ulObjPage, uint32_t *pulPage)
{
  if (pzorts->iType != ZORTS_TYPE_DMS) {
    *pulPage = ulObjPage;
    return 0;
  }
  zortsEmpIterator *piter = nullptr;
  if (pzorts->iSource == ZORTS_SOURCE_BACKUP && pzorts->pPageSource != nullptr)
    piter = static_cast<zorbkPageSource *>(pzorts->pPageSource)->pempIterator;
  else if (pzorts->iSource == ZORTS_SOURCE_ONLINE && pzorts->pPageSource != nullptr)
    piter = static_cast<zordatPS *>(pzorts->pPageSource)->pempIterator;
  int iCode = 0;
  *pulPage = zortsEmpToAbs(pzorts, piter, ulObjPage, &iCode);
  return iCode;
}

/* Reads object page ulObjPage of a child object into pcPage (no torn-page restoration). */
int _zortsReadObjPage(zorts *pzorts, uint32_t ulObjPage, unsigned char *pcPage)
{
  uint32_t ulPage = 0;
  int iCode = _zortsObjToAbs(pzorts, ulObjPage, &ulPage);
  if (iCode != 0) return iCode;
  if (pzorts->pfnReadAbs == nullptr) return ZORTS_RC_UNKNOWN_SOURCE;
  if (pzorts->pfnReadAbs(pzorts, ulPage, pcPage, 1, 0, &iCode) == nullptr)
    return iCode != 0 ? iCode : ZORTS_RC_READ;
  return 0;
}

/*
** Reads ilLength bytes of the object from byte ilOffset of object page
** ulObjPage on, page after page, handing each piece to pfnPiece.
*/
int _zortsReadRun(zorts *pzorts, uint32_t ulObjPage, int32_t ilOffset, int64_t llLength,
                  const std::function<int(const unsigned char *, int32_t)> &pfnPiece)
{
  if (llLength <= 0) return 0;
  const int32_t ilPageSize = pzorts->ilPageSize;
  if (!ficdataIsPageSize(ilPageSize)) return ZORTS_RC_BADDESC;
  unsigned char *pcPage = static_cast<unsigned char *>(std::malloc(static_cast<size_t>(ilPageSize)));
  if (pcPage == nullptr) return ZORTS_RC_NOMEM;
  int iCode = 0;
  while (llLength > 0) {
    iCode = _zortsReadObjPage(pzorts, ulObjPage, pcPage);
    if (iCode != 0) {
      omsgsTrace("Long data: object page %u cannot be read (0x%x)", ulObjPage, iCode);
      break;
    }
    int32_t ilTake = ilPageSize - ilOffset;
    if (ilTake > llLength) ilTake = static_cast<int32_t>(llLength);
    iCode = pfnPiece(pcPage + ilOffset, ilTake);
    if (iCode != 0) break;
    llLength -= ilTake;
    ilOffset = 0;
    ulObjPage++;
  }
  std::free(pcPage);
  return iCode;
}

/* One segment (start in 1 KB units, length) handed to a segment reader. */
typedef std::function<int(int32_t ilLength, int32_t ilStart, int64_t *pllWanted)> _zortsSegmentProc;

/*
** Walks the LOB descriptor's segments in their order (buddy segments, then
** the tail segments from the end), calling pfnSegment until llWanted bytes
** are handled.  Returns 0, ZORTS_RC_BADDESC, or the segment reader's code.
*/
int _zortsWalkSegments(const unsigned char *pcDesc, int32_t ilDescSize, int64_t llWanted,
                       const _zortsSegmentProc &pfnSegment)
{
  if (ilDescSize < ZORTS_LOB_SEGMENTS + 4) return ZORTS_RC_BADDESC;
  const int32_t s = pcDesc[ZORTS_LOB_SLOTS];
  const int32_t t = pcDesc[ZORTS_LOB_TAILS];
  const int32_t c = pcDesc[ZORTS_LOB_BUDDY];
  const int32_t ilSlots = (ilDescSize - ZORTS_LOB_SEGMENTS) / 4;   /* slots the descriptor holds */
  if (llWanted <= 0) return 0;
  if (s < 1 || s > ilSlots || t > s || c > ZORTS_MAX_SHIFT - 10) {
    omsgsTrace("LOB descriptor refused: %d slots, %d tail segments, buddy code %d (%d slots held)", s, t, c,
               ilSlots);
    return ZORTS_RC_BADDESC;
  }
  auto slot = [&](int32_t i) {
    return static_cast<int32_t>(obyteGetLE32(pcDesc + ZORTS_LOB_SEGMENTS + 4 * i));
  };
  const int32_t n = t > 0 ? s - 1 : s;
  int64_t llRunning = int64_t(1024) << c;
  for (int32_t i = 0; i < n && llWanted > 0; i++) {
    if (i >= 1 && llRunning <= ZORTS_BUDDY_CAP) llRunning <<= i;
    int32_t ilStart = slot(i);
    if (ilStart < 0) {
      omsgsTrace("LOB descriptor refused: buddy slot %d is empty with %lld bytes wanted", i,
                 static_cast<long long>(llWanted));
      return ZORTS_RC_BADDESC;
    }
    int64_t llLength = llRunning < llWanted ? llRunning : llWanted;
    int iCode = pfnSegment(static_cast<int32_t>(llLength), ilStart, &llWanted);
    if (iCode != 0) return iCode;
  }
  if (llWanted > 0 && t > 0) {
    int32_t j = s - 1, ilFound = 0;
    for (; j < ilSlots; j++)
      if (slot(j) != -1 && ++ilFound == t) break;
    if (j >= ilSlots) {
      omsgsTrace("LOB descriptor refused: %d tail segments not found", t);
      return ZORTS_RC_BADDESC;
    }
    for (; j >= s - 1 && llWanted > 0; j--) {
      int32_t ilStart = slot(j);
      if (ilStart == -1) continue;
      int32_t ilShift = j - s + 11;
      if (ilStart < 0 || ilShift > ZORTS_MAX_SHIFT) return ZORTS_RC_BADDESC;
      int64_t llSize = int64_t(1) << ilShift;
      int64_t llLength = llSize < llWanted ? llSize : llWanted;
      int iCode = pfnSegment(static_cast<int32_t>(llLength), ilStart, &llWanted);
      if (iCode != 0) return iCode;
    }
  }
  if (llWanted > 0) {
    omsgsTrace("LOB descriptor refused: segments end %lld bytes before the length",
               static_cast<long long>(llWanted));
    return ZORTS_RC_BADDESC;
  }
  return 0;
}

/* Object page and byte offset of a segment start (1 KB units). */
void _zortsSegmentPos(const zorts *pzorts, int32_t ilStart, uint32_t *pulObjPage, int32_t *pilOffset)
{
  int32_t K = pzorts->ilPageSize / 1024;
  if (K < 1) K = 1;
  *pulObjPage = static_cast<uint32_t>(ilStart / K);
  *pilOffset = (ilStart % K) * 1024;
}

}  // namespace

/* ------------------------------------------------------------ objects */

zorts *zortsCreateFromBackup(zorbk *pzorbk, int32_t ilTbsId, int32_t ilObjId, int *piCode)
{
  int iDummy;
  if (piCode == nullptr) piCode = &iDummy;
  *piCode = 0;
  if (pzorbk == nullptr) {
    *piCode = ORC_INVALID;
    return nullptr;
  }
  int32_t iType = zorbkDetermineType(pzorbk, ilTbsId);
  if (iType != ZORTS_TYPE_SMS && iType != ZORTS_TYPE_DMS) {
    omsgsTrace("Create ts from Backup: unknown ts type %i", iType);
    omsgsFMTEDO(ZORU431E);
    *piCode = ZORTS_RC_NOTINIMAGE;
    return nullptr;
  }
  zorts *pzorts = _zortsAlloc(pzorbk, iType);
  if (pzorts == nullptr) {
    omsgsTrace("Memory alloc erreur on ts from backup");
    *piCode = ZORTS_RC_NOMEM;
    return nullptr;
  }
  int iCode = 0;
  zorbkPageSource *pps;
  if (iType == ZORTS_TYPE_SMS) {
    omsgsTrace("Create a SMS ts from Backup");
    pzorts->pfnReadNext = zorbkReadNextSMSDat;
    pzorts->pfnReadAbs = zorbkReadAbsSMSDatPage;
    pps = zorbkOpenSMSTableDat(pzorts, ilTbsId, ilObjId, &iCode);
  } else {
    omsgsTrace("Create a DMS ts from Backup");
    pzorts->pfnReadNext = zorbkReadNextDMSDat;
    pzorts->pfnReadAbs = zorbkReadAbsDMSDatPage;
    pps = zorbkOpenDMSTableDat(pzorts, ilTbsId, ilObjId, &iCode);
  }
  if (pps == nullptr) {
    omsgsTrace("Data of table %d.%d cannot be opened (0x%x)", ilTbsId, ilObjId, iCode);
    std::free(pzorts->tbdesc.pcolumns);
    std::free(pzorts);
    *piCode = iCode != 0 ? iCode : ZORTS_RC_READ;
    return nullptr;
  }
  pzorts->pPageSource = pps;
  if (iType == ZORTS_TYPE_SMS) {
    pzorts->pzortsLF = _zortsCreateChild(pzorts, zorbkReadAbsSMSDatPage, zorbkOpenSMSTableLF, ilTbsId, ilObjId,
                                         "long-field");
    pzorts->pzortsLOB = _zortsCreateChild(pzorts, zorbkReadAbsSMSLOBPage, zorbkOpenSMSTableLOB, ilTbsId,
                                          ilObjId, "LOB");
  } else if (pps->pucObjTabRecord != nullptr) {
    /* the object-table record in its current layout, from record offset 4 */
    const unsigned char *pucRec = pps->pucObjTabRecord;
    int32_t ilLFTbs = static_cast<int16_t>(obyteGetLE16(pucRec + 64));
    int32_t ilLFObj = static_cast<int16_t>(obyteGetLE16(pucRec + 66));
    int32_t ilLOBTbs = static_cast<int16_t>(obyteGetLE16(pucRec + 88));
    int32_t ilLOBObj = static_cast<int16_t>(obyteGetLE16(pucRec + 90));
    if (ilLFObj != 0)
      pzorts->pzortsLF = _zortsCreateChild(pzorts, zorbkReadAbsDMSDatPage, zorbkOpenDMSTableLF, ilLFTbs, ilLFObj,
                                           "long-field");
    if (ilLOBObj != 0)
      pzorts->pzortsLOB = _zortsCreateChild(pzorts, zorbkReadAbsDMSDatPage, zorbkOpenDMSTableLOB, ilLOBTbs,
                                            ilLOBObj, "LOB");
  }
  return pzorts;
}

zorts *zortsCreateFromDat(zordat *pzordat, int *piCode)
{
  int iDummy;
  if (piCode == nullptr) piCode = &iDummy;
  *piCode = 0;
  if (pzordat == nullptr) {
    *piCode = ZORTS_RC_NOMEM;
    return nullptr;
  }
  int32_t iType = zordatDetermineType(pzordat);
  if (iType != ZORTS_TYPE_SMS && iType != ZORTS_TYPE_DMS) {
    omsgsTrace("Create ts online access: unknown ts type %i", iType);
    *piCode = ZORTS_RC_BADTYPE;
    return nullptr;
  }
  zorts *pzorts = _zortsAllocOnline(pzordat, iType);
  if (pzorts == nullptr) {
    *piCode = ZORTS_RC_NOMEM;
    return nullptr;
  }
  omsgsTrace(iType == ZORTS_TYPE_SMS ? "Create a SMS ts online access" : "Create a DMS ts online access");
  pzorts->pfnReadNext = zordatReadNextDat;
  int iCode = 0;
  zordatPS *pps = zordatOpenPSDat(pzorts, zordatDataBuffers(pzordat), &iCode);
  if (pps == nullptr) {
    omsgsTrace("Online data of table %d.%d cannot be opened (0x%x)", pzordat->ilTbsId, pzordat->ilObjId, iCode);
    zordatCloseFiles(pzorts);
    std::free(pzorts->tbdesc.pcolumns);
    std::free(pzorts);
    *piCode = iCode != 0 ? iCode : ZORTS_RC_READ;
    return nullptr;
  }
  pzorts->pPageSource = pps;
  struct Child {
    zordat *pzordatChild;
    zorts **ppzorts;
    const char *pcTrace;
    zordatPS *(*pfnOpen)(zordatPS *, zorts *, int32_t, int *);
  } aChildren[] = {
      {pzordat->pzordatLF, &pzorts->pzortsLF, "Create a ts online access for LF", zordatOpenPSLf},
      {pzordat->pzordatLOB, &pzorts->pzortsLOB, "Create a ts online access for LOB", zordatOpenPSLob},
  };
  for (const Child &c : aChildren) {
    if (c.pzordatChild == nullptr) continue;
    omsgsTrace("%s", c.pcTrace);
    zorts *pchild = _zortsAllocOnline(c.pzordatChild, iType);
    if (pchild == nullptr) continue;
    if (iType == ZORTS_TYPE_DMS) {
      int iChildCode = 0;
      pchild->pPageSource = c.pfnOpen(pps, pchild, 2 * c.pzordatChild->ilContainers, &iChildCode);
      if (pchild->pPageSource == nullptr) {
        omsgsTrace("Online long object not opened (0x%x): dropped", iChildCode);
        zordatCloseFiles(pchild);
        std::free(pchild);
        continue;
      }
    }
    *c.ppzorts = pchild;
  }
  /* the reader threads open the containers again */
  zordatCloseFiles(pzorts);
  if (pzorts->pzortsLF != nullptr) zordatCloseFiles(pzorts->pzortsLF);
  if (pzorts->pzortsLOB != nullptr) zordatCloseFiles(pzorts->pzortsLOB);
  return pzorts;
}

int zortsLaunchThreads(zorts *pzorts)
{
  if (pzorts == nullptr) return ZORTS_RC_NOMEM;
  if (pzorts->iSource == ZORTS_SOURCE_BACKUP) return 0;
  if (pzorts->iSource == ZORTS_SOURCE_ONLINE) return zordatLaunchPS(pzorts);
  return ZORTS_RC_UNKNOWN_SOURCE;
}

void zortsDestroy(zorts *pzorts)
{
  if (pzorts == nullptr) return;
  if (pzorts->iSource == ZORTS_SOURCE_BACKUP) {
    _zortsFreeBackupSource(pzorts);
    zortsDestroy(pzorts->pzortsLF);
    zortsDestroy(pzorts->pzortsLOB);
  } else if (pzorts->iSource == ZORTS_SOURCE_ONLINE) {
    zordatPSDestroy(static_cast<zordatPS *>(pzorts->pPageSource));
    for (zorts *pchild : {pzorts->pzortsLF, pzorts->pzortsLOB}) {
      if (pchild == nullptr) continue;
      zordatPSLobLfDestroy(static_cast<zordatPS *>(pchild->pPageSource));
      std::free(pchild->tbdesc.pcolumns);
      std::free(pchild);
    }
  }
  pzorts->pPageSource = nullptr;
  std::free(pzorts->tbdesc.pcolumns);
  std::free(pzorts);
}

/* ----------------------------------------------------- long fields */

int zortsLoadLF(zorts *pzortsLF, const unsigned char *pcDesc, unsigned char *pcTarget, int32_t ilTargetSize,
                int32_t *pilLength)
{
  if (pzortsLF == nullptr || pcDesc == nullptr || pcTarget == nullptr || pilLength == nullptr) return ORC_INVALID;
  int32_t L = static_cast<int32_t>(obyteGetLE32(pcDesc + ZORTS_LF_LENGTH));
  int32_t P = static_cast<int32_t>(obyteGetLE32(pcDesc + ZORTS_LF_POSITION));
  *pilLength = 0;
  if (L < 0 || P < 0 || L > ilTargetSize) {
    omsgsTrace("Long-field descriptor refused: length %d, position %d, room %d", L, P, ilTargetSize);
    return ZORTS_RC_BADDESC;
  }
  int32_t U = pzortsLF->ilPageSize / FICDATA_SECTOR;
  if (U < 1) return ZORTS_RC_BADDESC;
  int32_t ilDone = 0;
  int iCode = _zortsReadRun(pzortsLF, static_cast<uint32_t>(P / U), (P % U) * FICDATA_SECTOR, L,
                            [&](const unsigned char *pc, int32_t n) {
                              std::memcpy(pcTarget + ilDone, pc, static_cast<size_t>(n));
                              ilDone += n;
                              return 0;
                            });
  *pilLength = L;
  return iCode;
}

/* --------------------------------------------------------------- LOBs */

int _zortsLoadBSEG(zorts *pzortsLOB, unsigned char *pcTarget, int32_t ilLength, int32_t ilStart,
                   int32_t *pilWanted)
{
  if (pzortsLOB == nullptr || pcTarget == nullptr || pilWanted == nullptr) return ORC_INVALID;
  if (ilStart < 0 || ilLength < 0) return ZORTS_RC_BADDESC;
  int32_t ilTake = ilLength < *pilWanted ? ilLength : *pilWanted;
  uint32_t ulObjPage;
  int32_t ilOffset;
  _zortsSegmentPos(pzortsLOB, ilStart, &ulObjPage, &ilOffset);
  int32_t ilDone = 0;
  int iCode = _zortsReadRun(pzortsLOB, ulObjPage, ilOffset, ilTake, [&](const unsigned char *pc, int32_t n) {
    std::memcpy(pcTarget + ilDone, pc, static_cast<size_t>(n));
    ilDone += n;
    return 0;
  });
  *pilWanted -= ilDone;
  return iCode;
}

int _zortsWriteBSEG(zorts *pzortsLOB, zorwrite *pwrite, int32_t ilLength, int32_t ilStart, int32_t *pilWanted)
{
  if (pzortsLOB == nullptr || pwrite == nullptr || pwrite->procWrite == nullptr || pilWanted == nullptr)
    return ORC_INVALID;
  if (ilStart < 0 || ilLength < 0) return ZORTS_RC_BADDESC;
  int32_t ilTake = ilLength < *pilWanted ? ilLength : *pilWanted;
  uint32_t ulObjPage;
  int32_t ilOffset;
  _zortsSegmentPos(pzortsLOB, ilStart, &ulObjPage, &ilOffset);
  int32_t ilDone = 0;
  int iCode = _zortsReadRun(pzortsLOB, ulObjPage, ilOffset, ilTake, [&](const unsigned char *pc, int32_t n) {
    int rc = pwrite->procWrite(pwrite, pc, n);
    if (rc == 0) ilDone += n;
    return rc;
  });
  *pilWanted -= ilDone;
  return iCode;
}

int zortsLoadInlineLob(zorts *pzortsLOB, const unsigned char *pcDesc, int32_t ilDescSize, unsigned char *pcTarget,
                       int32_t ilTargetSize, int32_t *pilLength)
{
  if (pzortsLOB == nullptr || pcDesc == nullptr || pcTarget == nullptr || pilLength == nullptr) return ORC_INVALID;
  *pilLength = 0;
  if (ilDescSize < ZORTS_LOB_SEGMENTS + 4) return ZORTS_RC_BADDESC;
  int32_t ilLobLength = static_cast<int32_t>(obyteGetLE32(pcDesc + ZORTS_LOB_LENGTH));
  if (ilLobLength < 0) {
    omsgsTrace("LOB descriptor refused: length %d", ilLobLength);
    return ZORTS_RC_BADDESC;
  }
  int32_t ilWanted = ilLobLength < ZORTS_INLINE_LOB_MAX ? ilLobLength : ZORTS_INLINE_LOB_MAX;
  if (ilWanted > ilTargetSize) return ZORTS_RC_BADDESC;
  int32_t ilCopied = 0;
  int iCode = _zortsWalkSegments(pcDesc, ilDescSize, ilWanted,
                                 [&](int32_t ilLength, int32_t ilStart, int64_t *pllWanted) {
                                   int32_t ilLeft = static_cast<int32_t>(*pllWanted);
                                   int rc = _zortsLoadBSEG(pzortsLOB, pcTarget + ilCopied, ilLength, ilStart,
                                                           &ilLeft);
                                   ilCopied += static_cast<int32_t>(*pllWanted) - ilLeft;
                                   *pllWanted = ilLeft;
                                   return rc;
                                 });
  *pilLength = ilCopied;
  return iCode;
}

int zortsLoadInFileLob(zorts *pzortsLOB, zorwrite *pwrite, void *, const unsigned char *pcDesc, int32_t ilDescSize,
                       unsigned char *pcTarget, int32_t ilTargetSize, int32_t *pilLength)
{
  if (pzortsLOB == nullptr || pwrite == nullptr || pcDesc == nullptr || pcTarget == nullptr || pilLength == nullptr)
    return ORC_INVALID;
  *pilLength = 0;
  if (ilDescSize < ZORTS_LOB_SEGMENTS + 4) return ZORTS_RC_BADDESC;
  int32_t ilLobLength = static_cast<int32_t>(obyteGetLE32(pcDesc + ZORTS_LOB_LENGTH));
  if (ilLobLength < 0) {
    omsgsTrace("LOB descriptor refused: length %d", ilLobLength);
    return ZORTS_RC_BADDESC;
  }
  int iCode = writeDeclareWrite(pwrite, ilLobLength);
  if (iCode != 0) return iCode;
  std::string strName;
  if (pwrite->pcharLobName != nullptr && pwrite->pcharLobName->pcData != nullptr)
    strName.assign(pwrite->pcharLobName->pcData, static_cast<size_t>(pwrite->pcharLobName->ilBU));
  std::string strText = strName;
  if (pwrite->ulType & ZORWRITE_LLS) {
    char acTail[64];
    std::snprintf(acTail, sizeof acTail, ".%lld.%d/", static_cast<long long>(pwrite->llBytesInFile), ilLobLength);
    strText += acTail;
  }
  if (static_cast<int64_t>(strText.size()) > ilTargetSize) {
    omsgsTrace("LOB file text of %zu bytes does not fit %d", strText.size(), ilTargetSize);
    return ZORTS_RC_BADDESC;
  }
  std::memcpy(pcTarget, strText.data(), strText.size());
  *pilLength = static_cast<int32_t>(strText.size());
  return _zortsWalkSegments(pcDesc, ilDescSize, ilLobLength,
                            [&](int32_t ilLength, int32_t ilStart, int64_t *pllWanted) {
                              int32_t ilLeft = static_cast<int32_t>(*pllWanted);
                              int rc = _zortsWriteBSEG(pzortsLOB, pwrite, ilLength, ilStart, &ilLeft);
                              *pllWanted = ilLeft;
                              return rc;
                            });
}

int zortsLobSegments(const unsigned char *pcDesc, int32_t ilDescSize, int64_t llWanted,
                     zortsSegmentProc pfnSegment, void *pCtx)
{
  if (pcDesc == nullptr || pfnSegment == nullptr) return ORC_INVALID;
  return _zortsWalkSegments(pcDesc, ilDescSize, llWanted,
                            [&](int32_t ilLength, int32_t ilStart, int64_t *pllWanted) {
                              return pfnSegment(pCtx, ilLength, ilStart, pllWanted);
                            });
}
