/*
** zortsemp.cpp
**   Extent-map walk, page lookup and object-table lookup of the table-space
**   object (layouts in zortsemp.h).  Every EMP and object-table page is read
**   through the object's read-absolute slot with torn-page restoration, and
**   every count, entry and offset taken from a page is checked against the
**   page before it is followed: an entry beyond the page, an extent page
**   that is not a multiple of the extent size or a tier of the wrong level
**   ends the walk with 0x113a005 instead of reading elsewhere.
*/
#include "storage/zortsemp.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "common/obyte.h"
#include "common/oreason.h"
#include "storage/ficdata.h"

#define OMSGS_TRACE_KEYWORD "$TS"
#define OMSGS_DEBUG_KEYWORD "$TSD"
#include "common/omsgsmod.h"

/*
** zortsEmpEntriesPerPage
**   E (single-indirect entries) and K (entries per EMP page) of a page size.
**   Returns 0, or ORC_INVALID for a page size without an extent map.
*/
int zortsEmpEntriesPerPage(int32_t iPageSize, int32_t *piE, int32_t *piK)
{
  int32_t iE;
  switch (iPageSize) {
    case 4096: iE = 984; break;
    case 8192: iE = 2010; break;
    case 16384: iE = 4058; break;
    case 32768: iE = 8154; break;
    default: return ORC_INVALID;
  }
  *piE = iE;
  *piK = iE + 16;
  return 0;
}

/*
** zortsEmpReadHeader
**   The level, entry count and entries of the EMP page pPage of iPageSize
**   bytes; the entries lie inside the page.  iK: most entries a page holds.
**   Returns 0, or 0x113a005 when the header offset leaves no room for the
**   header, or the count is above iK or runs past the end of the page.
*/
int zortsEmpReadHeader(const unsigned char *pPage, int32_t iPageSize, int32_t iK,
                       uint32_t *pulLevel, int32_t *piEntries, const unsigned char **ppAllocs)
{
  if (pPage == nullptr || iPageSize < 2) return ZORTS_RC_BADMAP;
  const unsigned char *pEnd = pPage + iPageSize;
  uint32_t ulO = obyteGetLE16(pPage);
  if (ulO + ZORTS_EMP_ALLOCATIONS > static_cast<uint32_t>(iPageSize)) {
    omsgsTrace("EMP page: header offset %u beyond page of %d bytes", ulO, iPageSize);
    return ZORTS_RC_BADMAP;
  }
  const unsigned char *pHdr = pPage + ulO;
  uint32_t ulLevel = 0, ulEntries = 0;
  if (!obyteReadLE32(pHdr + ZORTS_EMP_LEVEL, pEnd, &ulLevel) ||
      !obyteReadLE32(pHdr + ZORTS_EMP_NENTRIES, pEnd, &ulEntries))
    return ZORTS_RC_BADMAP;
  const unsigned char *pAllocs = pHdr + ZORTS_EMP_ALLOCATIONS;
  if (ulEntries > static_cast<uint32_t>(iK) ||
      ulEntries * 4 > static_cast<uint32_t>(pEnd - pAllocs)) {
    omsgsTrace("EMP page: n_entries %u (at most %d, room for %ld)", ulEntries, iK,
               static_cast<long>((pEnd - pAllocs) / 4));
    return ZORTS_RC_BADMAP;
  }
  *pulLevel = ulLevel;
  *piEntries = static_cast<int32_t>(ulEntries);
  *ppAllocs = pAllocs;
  return 0;
}

/*
** zortsGetObjTabRecordPos
**   Object page of the object table and slot of the record of object id
**   iObjId, by page size and, for 4 KB pages, descriptor flag 0x100 of the
**   object's table space (ulTbsFlags).
**   Returns the object ids of one object-table page; -1, with both outputs
**   -1, for a page size that has no position.
*/
int zortsGetObjTabRecordPos(zorts *pzorts, int32_t iObjId, int32_t *piPage, int32_t *piSlot)
{
  int32_t iPageSize = pzorts != nullptr ? pzorts->ilPageSize : 0;
  int32_t iPage, iSlot, iPerPage;
  switch (iPageSize) {
    case 4096:
      iPage = iObjId >> 8;
      if (pzorts->ulTbsFlags & ZORTS_OBJTAB_TBSFLAG) iPage |= (iObjId & 0xE0) << 3;
      iSlot = iObjId & 0xFF;
      iPerPage = 256;
      break;
    case 8192: iPage = iObjId >> 6; iSlot = iObjId & 0x3F; iPerPage = 64; break;
    case 16384: iPage = iObjId >> 7; iSlot = iObjId & 0x7F; iPerPage = 128; break;
    case 32768: iPage = iObjId >> 8; iSlot = iObjId & 0xFF; iPerPage = 256; break;
    case 2048: iPage = iObjId >> 4; iSlot = iObjId & 0x0F; iPerPage = 16; break;
    default:
      *piPage = -1;
      *piSlot = -1;
      return -1;
  }
  *piPage = iPage;
  *piSlot = iSlot;
  return iPerPage;
}

/*
** zortsObjTabToLastVersion
**   A new 148-byte record in the current layout from pRecord (148 bytes
**   readable): an old-layout record (marker 'O' at byte 2) field by field,
**   the bytes the old layout has no field for zero; any other copied.
**   Returns the record (the caller frees it), or NULL when memory runs out.
*/
unsigned char *zortsObjTabToLastVersion(const unsigned char *pRecord)
{
  auto *pNew = static_cast<unsigned char *>(calloc(1, ZORTS_OBJTAB_CURRENT_SIZE));
  if (pNew == nullptr) return nullptr;
  if (pRecord[ZORTS_OBJTAB_MARKER] != ZORTS_OBJTAB_OLD_MARKER) {
    memcpy(pNew, pRecord, ZORTS_OBJTAB_CURRENT_SIZE);
    return pNew;
  }
  /* old offset, new offset, width; the fields not listed stay zero */
  static const struct { int iOld, iNew, iWidth; } aMove[] = {
    {12, 3, 1},   {16, 4, 2},   {18, 6, 2},   {20, 8, 4},   {24, 16, 4},
    {28, 24, 2},  {30, 28, 1},  {34, 34, 4},  {38, 38, 2},  {40, 40, 48},
    {88, 88, 2},  {90, 90, 2},  {92, 92, 4},  {116, 96, 4}, {96, 100, 4},
    {120, 104, 4}, {100, 108, 2}, {124, 110, 2}, {102, 112, 1}, {106, 118, 4},
    {110, 122, 2},
  };
  for (const auto &m : aMove) memcpy(pNew + m.iNew, pRecord + m.iOld, m.iWidth);
  return pNew;
}

/* Reads iCount pages at ulPage through the read-absolute slot, restoring them. */
static int _zortsRead(zorts *pzorts, uint32_t ulPage, unsigned char *pBuffer, int32_t iCount)
{
  int iCode = 0;
  if (pzorts->pfnReadAbs == nullptr) return ORC_INVALID;
  unsigned char *p = pzorts->pfnReadAbs(pzorts, ulPage, pBuffer, iCount,
                                         ZORTS_READ_RESTORE, &iCode);
  if (p == nullptr) {
    omsgsTrace("EMP read of %d pages at %u failed: 0x%x", iCount, ulPage, iCode);
    return iCode != 0 ? iCode : ZORTS_RC_READ;
  }
  return 0;
}

/* The extent page of entry i, which must start an extent. */
static int _zortsEntry(const unsigned char *pAllocs, int32_t i, int32_t iX, uint32_t *pulPage)
{
  uint32_t ulPage = obyteGetLE32(pAllocs + 4 * i);
  if (ulPage % static_cast<uint32_t>(iX) != 0) {
    omsgsTrace("EMP entry %d: page %u is not the start of an extent of %d pages", i, ulPage, iX);
    return ZORTS_RC_BADMAP;
  }
  *pulPage = ulPage;
  return 0;
}

/* Slot iSlot of the data page pPage: the record offset, or -1 for an empty
** or missing slot; 0x113a005 when the slot directory or the slot's record
** lies outside the page. */
static int _zortsSlot(const unsigned char *pPage, int32_t iPageSize, int32_t iSlot, int32_t *piOffset)
{
  ficdataSlots slots;
  int iCode = ficdataReadSlots(pPage, iPageSize, &slots);
  *piOffset = -1;
  if (iCode != 0 && slots.ilCount == 0) {
    omsgsTrace("Object-table page: slot directory refused (0x%x)", iCode);
    return ZORTS_RC_BADMAP;
  }
  if (iSlot < 0 || iSlot >= slots.ilCount || slots.aiKind[iSlot] == FICDATA_KIND_EMPTY) return 0;
  int32_t iOffset = slots.ailOffset[iSlot];
  if (slots.aiKind[iSlot] == FICDATA_KIND_DAMAGED || iOffset < 0 || iOffset + 4 >= iPageSize) {
    omsgsTrace("Object-table page: slot %d points outside the page", iSlot);
    return ZORTS_RC_BADMAP;
  }
  *piOffset = iOffset;
  return 0;
}

/* The object-table record at page offset iOffset of pPage in the current
** layout (new, caller frees) into *ppRecord; 0x113a005 when it runs past
** the page, 0x113c001 when memory runs out. */
static int _zortsTakeObjTabRecord(const unsigned char *pPage, int32_t iPageSize, int32_t iOffset,
                                  unsigned char **ppRecord)
{
  /* the record from offset 4; an old-layout record is shorter */
  unsigned char aucRec[ZORTS_OBJTAB_CURRENT_SIZE] = {};
  int32_t iAvail = iPageSize - (iOffset + 4);
  int32_t iTake = iAvail < ZORTS_OBJTAB_CURRENT_SIZE ? iAvail : ZORTS_OBJTAB_CURRENT_SIZE;
  if (iTake > 0) memcpy(aucRec, pPage + iOffset + 4, iTake);
  int32_t iNeed = aucRec[ZORTS_OBJTAB_MARKER] == ZORTS_OBJTAB_OLD_MARKER ? ZORTS_OBJTAB_OLD_SIZE : ZORTS_OBJTAB_LOB_EMP + 4;
  if (iTake < iNeed) {
    omsgsTrace("Object-table record at %d runs past the page", iOffset);
    return ZORTS_RC_BADMAP;
  }
  *ppRecord = zortsObjTabToLastVersion(aucRec);
  return *ppRecord == nullptr ? ZORTS_RC_NOMEM : 0;
}

/* Whether the current-layout record describes data object iObjId. */
static bool _zortsRecordIs(const unsigned char *pRecord, int32_t iObjId)
{
  return obyteGetLE16(pRecord + ZORTS_OBJTAB_DAT_OBJID) == static_cast<uint32_t>(iObjId);
}

/* Looks through every record of the object table (page 0 from slot 1, the
** data-file header being slot 0; the other pages from slot 0) for the one
** of data object iObjId; pBuf holds one page.  Same returns as
** zortsFindObjTabRecord. */
static int _zortsScanObjTab(zorts *pzorts, int32_t iObjId, const unsigned char *pAllocs, int32_t iEntries,
                            unsigned char *pBuf, unsigned char **ppRecord)
{
  int32_t iPageSize = pzorts->ilPageSize, iX = pzorts->ilExtentSize;
  int64_t llPages = 1;
  for (int64_t p = 0; p < llPages; p++) {
    uint32_t ulExtent = 0;
    if (p / iX >= iEntries) {
      omsgsTrace("Object %d: object-table page %lld not mapped", iObjId, static_cast<long long>(p));
      return p == 0 ? ZORTS_RC_ENDEMP : ZORTS_RC_BADMAP;
    }
    int iCode = _zortsEntry(pAllocs, static_cast<int32_t>(p / iX), iX, &ulExtent);
    if (iCode == 0) iCode = _zortsRead(pzorts, ulExtent + static_cast<uint32_t>(p % iX), pBuf, 1);
    if (iCode != 0) return iCode;
    ficdataSlots slots;
    if (ficdataReadSlots(pBuf, iPageSize, &slots) != 0 && slots.ilCount == 0) {
      if (p == 0) return ZORTS_RC_BADMAP;
      continue;
    }
    if (p == 0) {
      uint32_t ulPages = 0;
      if (slots.ilCount < 1 || slots.ailOffset[0] < 0 ||
          !obyteReadLE32(pBuf + slots.ailOffset[0] + 4, pBuf + iPageSize, &ulPages) || ulPages < 1) {
        omsgsTrace("Object table: no data-file header");
        return ZORTS_RC_BADMAP;
      }
      llPages = ulPages;
    }
    for (int32_t s = p == 0 ? 1 : 0; s < slots.ilCount; s++) {
      /* a damaged record of another object does not stop the search */
      int32_t iOffset = -1;
      if (_zortsSlot(pBuf, iPageSize, s, &iOffset) != 0 || iOffset < 0) continue;
      unsigned char *pRecord = nullptr;
      iCode = _zortsTakeObjTabRecord(pBuf, iPageSize, iOffset, &pRecord);
      if (iCode == ZORTS_RC_NOMEM) return iCode;
      if (iCode != 0) continue;
      if (_zortsRecordIs(pRecord, iObjId)) {
        omsgsTrace("Object %d: record found on object-table page %lld, slot %d", iObjId,
                   static_cast<long long>(p), s);
        *ppRecord = pRecord;
        return 0;
      }
      free(pRecord);
    }
  }
  omsgsTrace("Object %d: not in the object table", iObjId);
  return ZORTS_RC_ENDEMP;
}

/*
** zortsFindObjTabRecord
**   The object-table record of object iObjId of a DMS table space, through
**   table-space page 1 (the object table's first EMP page): first at the
**   record's position (zortsGetObjTabRecordPos); when that slot is empty or
**   holds another object's record, among all records of the object table,
**   so that the record is found wherever it lies, as the first-generation
**   reader finds it.
**   Returns 0 with a new 148-byte current-layout record in *ppRecord (the
**   caller frees it); 0x1139002 when the object table has no such record;
**   0x113a005 for an inconsistent page or a record running past its page;
**   ORC_INVALID for a negative id or a page size without positions; the
**   read code of a failed read; 0x113c001 when memory runs out.
*/
int zortsFindObjTabRecord(zorts *pzorts, int32_t iObjId, unsigned char **ppRecord)
{
  int32_t iPage, iSlot, iE, iK;
  *ppRecord = nullptr;
  if (pzorts == nullptr || iObjId < 0 || zortsGetObjTabRecordPos(pzorts, iObjId, &iPage, &iSlot) < 0)
    return ORC_INVALID;
  int32_t iPageSize = pzorts->ilPageSize, iX = pzorts->ilExtentSize;
  if (iX < 1) return ORC_INVALID;
  if (zortsEmpEntriesPerPage(iPageSize, &iE, &iK) != 0) iK = (iPageSize - ZORTS_EMP_ALLOCATIONS) / 4;
  auto *pBuf = static_cast<unsigned char *>(malloc(2 * static_cast<size_t>(iPageSize)));
  if (pBuf == nullptr) return ZORTS_RC_NOMEM;
  unsigned char *pEmp = pBuf + iPageSize;
  int iCode = _zortsRead(pzorts, 1, pEmp, 1);
  uint32_t ulLevel;
  int32_t iEntries = 0, iOffset = -1;
  const unsigned char *pAllocs = nullptr;
  uint32_t ulExtent = 0;
  if (iCode == 0) iCode = zortsEmpReadHeader(pEmp, iPageSize, iK, &ulLevel, &iEntries, &pAllocs);
  bool boScan = false;
  if (iCode == 0) {
    int32_t k = iPage / iX;
    if (k >= iEntries) {
      omsgsTrace("Object %d: object-table page %d not mapped (%d extents)", iObjId, iPage, iEntries);
      boScan = true;
    } else {
      iCode = _zortsEntry(pAllocs, k, iX, &ulExtent);
    }
  }
  if (iCode == 0 && !boScan) iCode = _zortsRead(pzorts, ulExtent + iPage % iX, pBuf, 1);
  if (iCode == 0 && !boScan) iCode = _zortsSlot(pBuf, iPageSize, iSlot, &iOffset);
  if (iCode == 0 && !boScan && iOffset < 0) {
    omsgsTrace("Object %d: slot %d of object-table page %d is empty", iObjId, iSlot, iPage);
    boScan = true;
  }
  /* object page 0 slot 0 is the data-file header, never an object's record */
  if (iCode == 0 && !boScan && iPage == 0 && iSlot == 0) boScan = true;
  if (iCode == 0 && !boScan) {
    iCode = _zortsTakeObjTabRecord(pBuf, iPageSize, iOffset, ppRecord);
    if (iCode == 0 && !_zortsRecordIs(*ppRecord, iObjId)) {
      omsgsTrace("Object %d: slot %d of object-table page %d holds another object's record", iObjId, iSlot, iPage);
      free(*ppRecord);
      *ppRecord = nullptr;
      boScan = true;
    }
  }
  if (iCode == 0 && boScan) iCode = _zortsScanObjTab(pzorts, iObjId, pAllocs, iEntries, pBuf, ppRecord);
  free(pBuf);
  return iCode;
}

/* Saves a position of the walk (a tier above the current page). */
static void _zortsEmpPush(zortsEmpIterator *piter, unsigned char *pPage, int32_t iPagesLeft,
                          int32_t iIndex, int32_t iTier)
{
  piter->aStack[piter->iDepth++] = {pPage, iPagesLeft, iIndex, iTier};
}

/* Reads the X-page EMP extent at ulPage into *ppBuffer (allocated on first use). */
static int _zortsEmpLoad(zorts *pzorts, zortsEmpIterator *piter, unsigned char **ppBuffer, uint32_t ulPage)
{
  if (*ppBuffer == nullptr) {
    *ppBuffer = static_cast<unsigned char *>(malloc(static_cast<size_t>(piter->iX) * piter->iPageSize));
    if (*ppBuffer == nullptr) return ZORTS_RC_NOMEM;
  }
  return _zortsRead(pzorts, ulPage, *ppBuffer, piter->iX);
}

/*
** Moves the walk on until its current page has an entry at the current
** index: through the remaining pages of the current buffer, then back up to
** the saved tiers and down into the next extent they address.  Returns 0
** when positioned, ZORTS_RC_ENDEMP at the end of the map, or the code of a
** failed read or an inconsistent page.
*/
static int _zortsEmpSettle(zorts *pzorts, zortsEmpIterator *piter)
{
  const int32_t iPageSize = piter->iPageSize;
  for (;;) {
    uint32_t ulLevel;
    int32_t iEntries;
    const unsigned char *pAllocs;
    int iCode = zortsEmpReadHeader(piter->pPage, iPageSize, piter->iK, &ulLevel, &iEntries, &pAllocs);
    if (iCode != 0) return iCode;
    if (piter->iIndex < iEntries) return 0;
    if (piter->iPagesLeft > 0) {
      piter->pPage += iPageSize;
      piter->iPagesLeft--;
      piter->iIndex = 0;
      continue;
    }
    /* this run of direct pages is done: go back up */
    bool bDown = false;
    while (!bDown) {
      if (piter->iDepth == 0) return ZORTS_RC_ENDEMP;
      zortsEmpPos pos = piter->aStack[--piter->iDepth];
      unsigned char *pPage = pos.pPage;
      int32_t iIndex = pos.iIndex + 1, iPagesLeft = pos.iPagesLeft;
      iCode = zortsEmpReadHeader(pPage, iPageSize, piter->iK, &ulLevel, &iEntries, &pAllocs);
      if (iCode != 0) return iCode;
      if (pos.iTier == 0) {
        /* the indirect page of the first EMP extent */
        if (iIndex >= iEntries) return ZORTS_RC_ENDEMP;
        if (ulLevel != 0) {
          omsgsTrace("EMP indirect page: level %u", ulLevel);
          return ZORTS_RC_BADMAP;
        }
        uint32_t ulExtent;
        if ((iCode = _zortsEntry(pAllocs, iIndex, piter->iX, &ulExtent)) != 0) return iCode;
        _zortsEmpPush(piter, pPage, iPagesLeft, iIndex, 0);
        if (iIndex < piter->iE) {
          if ((iCode = _zortsEmpLoad(pzorts, piter, &piter->pDirect, ulExtent)) != 0) return iCode;
          piter->pPage = piter->pDirect;
          piter->iTier = 2;
          piter->iIndex = 0;
          piter->iPagesLeft = piter->iX - 1;
          bDown = true;
          continue;
        }
        if ((iCode = _zortsEmpLoad(pzorts, piter, &piter->pSingle, ulExtent)) != 0) return iCode;
        pPage = piter->pSingle;
        iIndex = 0;
        iPagesLeft = piter->iX - 1;
        iCode = zortsEmpReadHeader(pPage, iPageSize, piter->iK, &ulLevel, &iEntries, &pAllocs);
        if (iCode != 0) return iCode;
        if (ulLevel != ZORTS_EMP_LEVEL_DOUBLE) {
          omsgsTrace("EMP double-indirect page: level %u", ulLevel);
          return ZORTS_RC_BADMAP;
        }
      }
      /* a double-indirect page at iIndex, with the pages after it */
      for (;;) {
        if (iIndex < iEntries) {
          uint32_t ulExtent;
          if ((iCode = _zortsEntry(pAllocs, iIndex, piter->iX, &ulExtent)) != 0) return iCode;
          _zortsEmpPush(piter, pPage, iPagesLeft, iIndex, 1);
          if ((iCode = _zortsEmpLoad(pzorts, piter, &piter->pDirect, ulExtent)) != 0) return iCode;
          piter->pPage = piter->pDirect;
          piter->iTier = 2;
          piter->iIndex = 0;
          piter->iPagesLeft = piter->iX - 1;
          bDown = true;
          break;
        }
        if (iPagesLeft <= 0) break;   /* extent done: up to the indirect page */
        pPage += iPageSize;
        iPagesLeft--;
        iIndex = 0;
        iCode = zortsEmpReadHeader(pPage, iPageSize, piter->iK, &ulLevel, &iEntries, &pAllocs);
        if (iCode != 0) return iCode;
        if (iEntries > 0 && ulLevel != ZORTS_EMP_LEVEL_DOUBLE) {
          omsgsTrace("EMP double-indirect page: level %u", ulLevel);
          return ZORTS_RC_BADMAP;
        }
      }
    }
  }
}

/*
** zortsEmpIteratorCreate
**   Reads the X pages of the first EMP extent at ulFirstEmp and positions on
**   the first data extent (past empty direct pages, down the indirect tiers
**   when every direct page is empty).
**   Returns the iterator with *piCode 0; NULL with *piCode 0x1139002 when
**   the object has no extent, the read code of a failed read, 0x113a005 for
**   an inconsistent page, ORC_INVALID for a page size without extent maps or
**   an extent size below 2, 0x113c001 when memory runs out.
*/
zortsEmpIterator *zortsEmpIteratorCreate(zorts *pzorts, uint32_t ulFirstEmp, int *piCode)
{
  int32_t iE, iK;
  if (pzorts == nullptr || zortsEmpEntriesPerPage(pzorts->ilPageSize, &iE, &iK) != 0 ||
      pzorts->ilExtentSize < 2) {
    *piCode = ORC_INVALID;
    return nullptr;
  }
  auto *piter = new (std::nothrow) zortsEmpIterator{};
  if (piter == nullptr) {
    *piCode = ZORTS_RC_NOMEM;
    return nullptr;
  }
  piter->iE = iE;
  piter->iK = iK;
  piter->iX = pzorts->ilExtentSize;
  piter->iPageSize = pzorts->ilPageSize;
  piter->ulFirstEmp = ulFirstEmp;
  piter->ulLkSingle = piter->ulLkDirect = UINT32_MAX;
  int iCode = _zortsEmpLoad(pzorts, piter, &piter->pFirst, ulFirstEmp);
  if (iCode == 0) {
    /* direct pages 0 .. X-2, then the indirect page X-1 */
    piter->pPage = piter->pFirst;
    piter->iTier = 0;
    piter->iPagesLeft = piter->iX - 2;
    _zortsEmpPush(piter, piter->pFirst + static_cast<size_t>(piter->iX - 1) * piter->iPageSize, 0, -1, 0);
    iCode = _zortsEmpSettle(pzorts, piter);
  }
  if (iCode != 0) {
    omsgsTrace("EMP iterator at %u: 0x%x", ulFirstEmp, iCode);
    zortsEmpIteratorDestroy(piter);
    *piCode = iCode;
    return nullptr;
  }
  *piCode = 0;
  return piter;
}

/*
** zortsGetNextExtentPos
**   The next data extent of the map (table-space extent number).
**   Returns 0; 0x1139002 at the end of the map, at every call after it and
**   for a NULL iterator; the read code of a failed EMP extent read or
**   0x113a005 for an inconsistent EMP page, after which the walk has ended.
*/
int zortsGetNextExtentPos(zorts *pzorts, zortsEmpIterator *piter, uint32_t *pulExtent)
{
  if (piter == nullptr || piter->iEnd) return ZORTS_RC_ENDEMP;
  if (pzorts == nullptr) return ORC_INVALID;
  int iCode = _zortsEmpSettle(pzorts, piter);
  uint32_t ulLevel, ulPage = 0;
  int32_t iEntries;
  const unsigned char *pAllocs;
  if (iCode == 0)
    iCode = zortsEmpReadHeader(piter->pPage, piter->iPageSize, piter->iK, &ulLevel, &iEntries, &pAllocs);
  if (iCode == 0) iCode = _zortsEntry(pAllocs, piter->iIndex, piter->iX, &ulPage);
  if (iCode != 0) {
    piter->iEnd = 1;
    return iCode;
  }
  piter->iIndex++;
  *pulExtent = ulPage / static_cast<uint32_t>(piter->iX);
  return 0;
}

/* Entries of the X direct pages of the extent at ulPage (read into the
** lookup's direct buffer when not counted before). */
static int _zortsEmpCountDirect(zorts *pzorts, zortsEmpIterator *piter, uint32_t ulPage, uint32_t *pulCount)
{
  auto it = piter->pmapCounts->find(ulPage);
  if (it != piter->pmapCounts->end()) {
    *pulCount = it->second;
    return 0;
  }
  int iCode = 0;
  if (piter->ulLkDirect != ulPage) {
    piter->ulLkDirect = UINT32_MAX;
    if ((iCode = _zortsEmpLoad(pzorts, piter, &piter->pLkDirect, ulPage)) != 0) return iCode;
    piter->ulLkDirect = ulPage;
  }
  uint32_t ulCount = 0;
  for (int32_t p = 0; p < piter->iX; p++) {
    uint32_t ulLevel;
    int32_t iEntries;
    const unsigned char *pAllocs;
    iCode = zortsEmpReadHeader(piter->pLkDirect + static_cast<size_t>(p) * piter->iPageSize, piter->iPageSize,
                               piter->iK, &ulLevel, &iEntries, &pAllocs);
    if (iCode != 0) return iCode;
    ulCount += iEntries;
  }
  (*piter->pmapCounts)[ulPage] = ulCount;
  *pulCount = ulCount;
  return 0;
}

/* Entry ulIndex (in walk order) of the nPages direct pages at pPages. */
static int _zortsEmpPick(zortsEmpIterator *piter, const unsigned char *pPages, int32_t nPages,
                         uint32_t *pulIndex, uint32_t *pulPage, bool *pbFound)
{
  *pbFound = false;
  for (int32_t p = 0; p < nPages; p++) {
    uint32_t ulLevel;
    int32_t iEntries;
    const unsigned char *pAllocs;
    int iCode = zortsEmpReadHeader(pPages + static_cast<size_t>(p) * piter->iPageSize, piter->iPageSize,
                                   piter->iK, &ulLevel, &iEntries, &pAllocs);
    if (iCode != 0) return iCode;
    if (*pulIndex < static_cast<uint32_t>(iEntries)) {
      *pbFound = true;
      return _zortsEntry(pAllocs, static_cast<int32_t>(*pulIndex), piter->iX, pulPage);
    }
    *pulIndex -= iEntries;
  }
  return 0;
}

/* Finds data extent *pulIndex below the direct extent at ulPage, or takes its count off. */
static int _zortsEmpInDirect(zorts *pzorts, zortsEmpIterator *piter, uint32_t ulExtentPage,
                             uint32_t *pulIndex, uint32_t *pulPage, bool *pbFound)
{
  uint32_t ulCount;
  *pbFound = false;
  int iCode = _zortsEmpCountDirect(pzorts, piter, ulExtentPage, &ulCount);
  if (iCode != 0) return iCode;
  if (*pulIndex >= ulCount) {
    *pulIndex -= ulCount;
    return 0;
  }
  if (piter->ulLkDirect != ulExtentPage) {
    piter->ulLkDirect = UINT32_MAX;
    if ((iCode = _zortsEmpLoad(pzorts, piter, &piter->pLkDirect, ulExtentPage)) != 0) return iCode;
    piter->ulLkDirect = ulExtentPage;
  }
  iCode = _zortsEmpPick(piter, piter->pLkDirect, piter->iX, pulIndex, pulPage, pbFound);
  if (iCode == 0 && !*pbFound) iCode = ZORTS_RC_BADMAP;   /* the count said otherwise */
  return iCode;
}

/* Data extent ulIndex of the map (walk order): its first table-space page. */
static int _zortsEmpFindExtent(zorts *pzorts, zortsEmpIterator *piter, uint32_t ulIndex, uint32_t *pulPage)
{
  const int32_t iPageSize = piter->iPageSize, iX = piter->iX;
  bool bFound;
  int iCode = _zortsEmpPick(piter, piter->pFirst, iX - 1, &ulIndex, pulPage, &bFound);
  if (iCode != 0 || bFound) return iCode;
  uint32_t ulLevel;
  int32_t iEntries;
  const unsigned char *pAllocs;
  iCode = zortsEmpReadHeader(piter->pFirst + static_cast<size_t>(iX - 1) * iPageSize, iPageSize, piter->iK,
                             &ulLevel, &iEntries, &pAllocs);
  if (iCode != 0) return iCode;
  if (iEntries > 0 && ulLevel != 0) return ZORTS_RC_BADMAP;
  for (int32_t i = 0; i < iEntries; i++) {
    uint32_t ulExtent;
    if ((iCode = _zortsEntry(pAllocs, i, iX, &ulExtent)) != 0) return iCode;
    if (i < piter->iE) {
      iCode = _zortsEmpInDirect(pzorts, piter, ulExtent, &ulIndex, pulPage, &bFound);
      if (iCode != 0 || bFound) return iCode;
      continue;
    }
    /* double-indirect extent: its pages' entries address direct extents */
    auto it = piter->pmapCounts->find(ulExtent);
    if (it != piter->pmapCounts->end() && ulIndex >= it->second) {
      ulIndex -= it->second;
      continue;
    }
    if (piter->ulLkSingle != ulExtent) {
      piter->ulLkSingle = UINT32_MAX;
      if ((iCode = _zortsEmpLoad(pzorts, piter, &piter->pLkSingle, ulExtent)) != 0) return iCode;
      piter->ulLkSingle = ulExtent;
    }
    uint32_t ulTotal = 0;
    for (int32_t p = 0; p < iX; p++) {
      uint32_t ulLev;
      int32_t iN;
      const unsigned char *pA;
      iCode = zortsEmpReadHeader(piter->pLkSingle + static_cast<size_t>(p) * iPageSize, iPageSize, piter->iK,
                                 &ulLev, &iN, &pA);
      if (iCode != 0) return iCode;
      if (iN > 0 && ulLev != ZORTS_EMP_LEVEL_DOUBLE) return ZORTS_RC_BADMAP;
      for (int32_t j = 0; j < iN; j++) {
        uint32_t ulDirect, ulCount;
        if ((iCode = _zortsEntry(pA, j, iX, &ulDirect)) != 0) return iCode;
        uint32_t ulBefore = ulIndex;
        iCode = _zortsEmpInDirect(pzorts, piter, ulDirect, &ulIndex, pulPage, &bFound);
        if (iCode != 0 || bFound) return iCode;
        ulCount = ulBefore - ulIndex;
        ulTotal += ulCount;
      }
    }
    (*piter->pmapCounts)[ulExtent] = ulTotal;
  }
  return ZORTS_RC_ENDEMP;
}

/*
** zortsEmpToAbs
**   The table-space page of object page ulObjPage, through the whole map in
**   walk order; the lookup keeps its own last direct and double-indirect
**   extents and the entry counts it has seen, and leaves the walk alone.
**   Returns the page with *piCode 0, or 0 with *piCode 0x1139002 (object too
**   short, NULL iterator), a read code or 0x113a005.
*/
uint32_t zortsEmpToAbs(zorts *pzorts, zortsEmpIterator *piter, uint32_t ulObjPage, int *piCode)
{
  if (piter == nullptr) {
    *piCode = ZORTS_RC_ENDEMP;
    return 0;
  }
  if (pzorts == nullptr) {
    *piCode = ORC_INVALID;
    return 0;
  }
  if (piter->pmapCounts == nullptr) {
    piter->pmapCounts = new (std::nothrow) std::unordered_map<uint32_t, uint32_t>();
    if (piter->pmapCounts == nullptr) {
      *piCode = ZORTS_RC_NOMEM;
      return 0;
    }
  }
  uint32_t ulX = static_cast<uint32_t>(piter->iX), ulPage = 0;
  int iCode = _zortsEmpFindExtent(pzorts, piter, ulObjPage / ulX, &ulPage);
  if (iCode != 0) {
    if (iCode != ZORTS_RC_ENDEMP) omsgsTrace("EMP lookup of object page %u: 0x%x", ulObjPage, iCode);
    *piCode = iCode;
    return 0;
  }
  *piCode = 0;
  return ulPage + ulObjPage % ulX;
}

/* zortsEmpIteratorDestroy: frees the buffers and the iterator; NULL accepted. */
void zortsEmpIteratorDestroy(zortsEmpIterator *piter)
{
  if (piter == nullptr) return;
  free(piter->pFirst);
  free(piter->pSingle);
  free(piter->pDirect);
  free(piter->pLkSingle);
  free(piter->pLkDirect);
  delete piter->pmapCounts;
  delete piter;
}
