/*
** sysibmbackup.cpp
**   The catalogue read from the catalogue table space of a backup image:
**   loaders of SYSCOLUMNS, SYSTABLES and SYSTABLESPACES over table-space
**   objects, their row decoders, and the merges that hang the columns on
**   their tables and the tables on their table spaces.  The layouts read
**   are described in catalog/sysibmbackup.h and storage/ficdata.h.  Main
**   process, control step, one thread.
*/
#include "catalog/sysibmbackup.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/obyte.h"
#include "common/ochaine.h"
#include "common/ochar.h"
#include "common/omsgs.h"
#include "model/zormsgs.h"
#include "storage/ficdata.h"
#include "storage/zorbk.h"
#include "storage/zorts.h"

#define OMSGS_TRACE_KEYWORD "$SYSIBM"
#define OMSGS_DEBUG_KEYWORD "$SYSIBMD"
#include "common/omsgsmod.h"

namespace {

/* ------------------------------------------------------------ row access */

/* One format-1 record being decoded. */
struct _sysibmRow {
  const unsigned char *pcRow;     /* row start: record + 8 */
  int32_t ilRow;                  /* bytes of the row */
  int32_t ilFixed;                /* fixed-part length of this record */
  const ficdataTableDesc *pdesc;  /* description of the catalogue table */
  uint16_t usCcsid;               /* CCSID of the image's strings */
  bool boDamaged;                 /* some column lies outside the row */
};

/* Sets up the row of pcRecord; false when the record cannot hold a row. */
bool _sysibmRowInit(_sysibmRow *prow, zorts *pzorts, const unsigned char *pcRecord, int32_t ilLength)
{
  if (pzorts == nullptr || pcRecord == nullptr || ilLength < FICDATA_REC_HEADER) return false;
  if (pzorts->tbdesc.pcolumns == nullptr || pzorts->tbdesc.sColumnCount <= 0) return false;
  if (ficdataCheckRow(&pzorts->tbdesc, pcRecord, ilLength) != 0) {
    omsgsTrace("Damaged catalogue row of %d bytes discarded\n", ilLength);
    return false;
  }
  prow->pcRow = pcRecord + FICDATA_REC_HEADER;
  prow->ilRow = ilLength - FICDATA_REC_HEADER;
  prow->ilFixed = static_cast<int16_t>(obyteGetLE16(pcRecord + FICDATA_REC_FIXED));
  prow->pdesc = &pzorts->tbdesc;
  prow->usCcsid = static_cast<uint16_t>(pzorts->sCcsid);
  prow->boDamaged = false;
  return true;
}

/*
** The bytes of column iOrdinal, ilWidth of them, or NULL when the record
** does not hold the column (beyond the description, or at or past its
** fixed part).  A column that starts in the fixed part but runs past the
** row marks the row damaged.  *pboNullable gets the column's null flag.
*/
const unsigned char *_sysibmRowColumn(_sysibmRow *prow, int iOrdinal, int32_t ilWidth, bool *pboNullable = nullptr)
{
  if (iOrdinal >= prow->pdesc->sColumnCount) return nullptr;
  const ficdataColumnDesc *pcol = &prow->pdesc->pcolumns[iOrdinal];
  int32_t ilOffset = pcol->sOffset;
  if (ilOffset < 0) {
    prow->boDamaged = true;
    return nullptr;
  }
  if (ilOffset >= prow->ilFixed) return nullptr;
  bool boNullable = (pcol->sFlags & 1) != 0;
  if (ilOffset + ilWidth + (boNullable ? 1 : 0) > prow->ilRow) {
    omsgsTrace("Catalogue column %d at %d (%d bytes) runs past a row of %d bytes\n", iOrdinal, ilOffset,
               ilWidth, prow->ilRow);
    prow->boDamaged = true;
    return nullptr;
  }
  if (pboNullable != nullptr) *pboNullable = boNullable;
  return prow->pcRow + ilOffset;
}

int16_t _sysibmRowI16(_sysibmRow *prow, int iOrdinal)
{
  const unsigned char *pc = _sysibmRowColumn(prow, iOrdinal, 2);
  return pc != nullptr ? static_cast<int16_t>(obyteGetLE16(pc)) : 0;
}

int32_t _sysibmRowI32(_sysibmRow *prow, int iOrdinal)
{
  const unsigned char *pc = _sysibmRowColumn(prow, iOrdinal, 4);
  return pc != nullptr ? static_cast<int32_t>(obyteGetLE32(pc)) : 0;
}

char _sysibmRowByte(_sysibmRow *prow, int iOrdinal)
{
  const unsigned char *pc = _sysibmRowColumn(prow, iOrdinal, 1);
  return pc != nullptr ? static_cast<char>(pc[0]) : 0;
}

/* A new string of ilLength bytes, always with a buffer and a zero after the text; NULL without memory. */
ochar *_sysibmNewString(const void *pBytes, int32_t ilLength, uint16_t usCcsid)
{
  ochar *pchar = static_cast<ochar *>(std::calloc(1, sizeof(ochar)));
  if (pchar == nullptr) return nullptr;
  if (ocharInitFromFixed(pchar, pBytes, ilLength, usCcsid) != 0 || ocharMakeC(pchar) != 0) {
    ocharDestroy(pchar);
    return nullptr;
  }
  return pchar;
}

/* The string of a fixed column of ilWidth bytes; NULL when absent. */
ochar *_sysibmRowFixed(_sysibmRow *prow, int iOrdinal, int32_t ilWidth, uint16_t usCcsid)
{
  const unsigned char *pc = _sysibmRowColumn(prow, iOrdinal, ilWidth);
  return pc != nullptr ? _sysibmNewString(pc, ilWidth, usCcsid) : nullptr;
}

/*
** The string of a varying column; NULL when absent or NULL.  Its data must
** lie inside the row, else the row is marked damaged.
*/
ochar *_sysibmRowVarying(_sysibmRow *prow, int iOrdinal)
{
  bool boNullable = false;
  const unsigned char *pc = _sysibmRowColumn(prow, iOrdinal, 4, &boNullable);
  if (pc == nullptr) return nullptr;
  if (boNullable && pc[4] != 0) return nullptr;
  int32_t ilOffset = static_cast<int16_t>(obyteGetLE16(pc));
  int32_t ilLength = static_cast<int16_t>(obyteGetLE16(pc + 2));
  if (ilLength < 0 || ilOffset < 0 || (ilLength > 0 && ilOffset + ilLength > prow->ilRow)) {
    omsgsTrace("Catalogue column %d: data at %d of %d bytes outside a row of %d bytes\n", iOrdinal, ilOffset,
               ilLength, prow->ilRow);
    prow->boDamaged = true;
    return nullptr;
  }
  return _sysibmNewString(prow->pcRow + (ilLength > 0 ? ilOffset : 0), ilLength, prow->usCcsid);
}

/* ------------------------------------------------------------ release */

/*
** The records of this module carry table id 0, for which osysibmDestroy
** releases nothing; records that the load drops are marked with their
** table ids first, so that they and their strings are freed.
*/
void _sysibmFreeColumns(ochaine *pchaine)
{
  if (pchaine == nullptr) return;
  for (auto *p = static_cast<osysibmSyscolumns *>(pchaine->pitemTop); p != nullptr;
       p = reinterpret_cast<osysibmSyscolumns *>(p->hdr.pnext)) {
    p->hdr.sTableId = OSYSIBM_SYSCOLUMNS;
    p->hdr.usChaineCount = 1;
  }
  ochaineDestroy(pchaine);
}

void _sysibmFreeTables(ochaine *pchaine)
{
  if (pchaine == nullptr) return;
  for (auto *p = static_cast<osysibmSystables *>(pchaine->pitemTop); p != nullptr;
       p = reinterpret_cast<osysibmSystables *>(p->hdr.pnext)) {
    _sysibmFreeColumns(p->apchaine[0]);
    p->apchaine[0] = nullptr;
    p->hdr.sTableId = OSYSIBM_SYSTABLES;
    p->hdr.usChaineCount = 5;
  }
  ochaineDestroy(pchaine);
}

void _sysibmFreeTablespaces(ochaine *pchaine)
{
  if (pchaine == nullptr) return;
  for (auto *p = static_cast<osysibmSystablespace *>(pchaine->pitemTop); p != nullptr;
       p = reinterpret_cast<osysibmSystablespace *>(p->hdr.pnext)) {
    _sysibmFreeTables(p->apchaine[1]);
    p->apchaine[1] = nullptr;
    p->hdr.sTableId = OSYSIBM_SYSTABLESPACE;
    p->hdr.usChaineCount = 2;
  }
  ochaineDestroy(pchaine);
}

/* A record that a builder refuses: marked with its table id and destroyed. */
void _sysibmDropRecord(osysibm *precord, int16_t sTableId, uint16_t usChaines)
{
  precord->sTableId = sTableId;
  precord->usChaineCount = usChaines;
  osysibmDestroy(precord);
}

/* A new record chain of one catalogue table. */
ochaine *_sysibmNewChaine(int iItemSize, int16_t sTableId)
{
  ochaine *pchaine = ochaineCreate(iItemSize, nullptr, osysibmChaineDestroyProc);
  if (pchaine != nullptr) pchaine->pData = static_cast<uintptr_t>(sTableId);
  return pchaine;
}

/* ------------------------------------------------------------ loading */

/* The name of a catalogue table, by the table id of its records. */
const char *_sysibmTableName(int16_t sTableId)
{
  switch (sTableId) {
    case OSYSIBM_SYSCOLUMNS: return "SYSIBM.SYSCOLUMNS";
    case OSYSIBM_SYSTABLES: return "SYSIBM.SYSTABLES";
    case OSYSIBM_SYSTABLESPACE: return "SYSIBM.SYSTABLESPACES";
    default: return "SYSIBM";
  }
}

typedef osysibm *(*_sysibmBuildProc)(zorts *pzorts, int32_t ilFilter, const ochar *pcharAlias,
                                     const unsigned char *pcRecord, int32_t ilLength, int *prc);

osysibm *_sysibmBuildColumn(zorts *pzorts, int32_t ilFilter, const ochar *, const unsigned char *pcRecord,
                            int32_t ilLength, int *prc)
{
  return reinterpret_cast<osysibm *>(_sysibmCreateSysColumnsFromRecord(pzorts, ilFilter, pcRecord, ilLength, prc));
}

osysibm *_sysibmBuildTable(zorts *pzorts, int32_t ilFilter, const ochar *, const unsigned char *pcRecord,
                           int32_t ilLength, int *prc)
{
  return reinterpret_cast<osysibm *>(_sysibmCreateSysTableFromRecord(pzorts, ilFilter, pcRecord, ilLength, prc));
}

osysibm *_sysibmBuildTablespace(zorts *pzorts, int32_t ilFilter, const ochar *pcharAlias,
                                const unsigned char *pcRecord, int32_t ilLength, int *prc)
{
  return reinterpret_cast<osysibm *>(
      _sysibmCreateSysTablespaceFromRecord(pzorts, ilFilter, pcharAlias, pcRecord, ilLength, prc));
}

/*
** Reads the table of the object to its end, appending one record per data
** row the builder accepts; value-compressed rows are expanded first.  The
** first page, slot or record that cannot be read whole ends the reading:
** ZORU428E names the table and the page, *prc gets the code (a read code
** of the source, SYSIBMBK_RC_DAMAGED for damage, ORC_NOMEM).
** boTraceCompressed: trace each value-compressed row.  Returns the chain
** (NULL with ORC_NOMEM when none could be made).
*/
ochaine *_sysibmLoad(zorts *pzorts, int32_t ilFilter, const ochar *pcharAlias, ochaine *pchaine, int *prc,
                     int iItemSize, int16_t sTableId, _sysibmBuildProc procBuild, bool boTraceCompressed)
{
  int rcDummy = 0;
  if (prc == nullptr) prc = &rcDummy;
  *prc = 0;
  if (pchaine == nullptr) {
    pchaine = _sysibmNewChaine(iItemSize, sTableId);
    if (pchaine == nullptr) {
      *prc = ORC_NOMEM;
      return nullptr;
    }
  }
  if (pzorts == nullptr || pzorts->pfnReadNext == nullptr) {
    *prc = ORC_INVALID;
    return pchaine;
  }
  int32_t ilPageSize = pzorts->ilPageSize;
  ficdataSlots slots;
  std::vector<unsigned char> vExpanded(static_cast<size_t>(
      pzorts->ilMaxRecord > FICDATA_MAX_ROW + FICDATA_REC_HEADER ? pzorts->ilMaxRecord : FICDATA_MAX_ROW + FICDATA_REC_HEADER));
  /* the page and the reason of the first failure: ZORU428E names them */
  auto fail = [&](int64_t llPage, int rcWhy, int rcResult) {
    omsgsTrace("Catalogue table %d: page %lld not read whole (0x%x)\n", sTableId, static_cast<long long>(llPage),
               static_cast<unsigned>(rcWhy));
    omsgsFMTEDO(ZORU428E, _sysibmTableName(sTableId), static_cast<long long>(llPage), static_cast<unsigned>(rcWhy));
    *prc = rcResult;
  };
  /* a source hands out no page at most for the rest of one extent */
  int32_t ilEmptyLimit = 2 * (pzorts->ilExtentSize > 0 ? pzorts->ilExtentSize : 1) + 16, ilEmpty = 0;
  int64_t llPagesRead = 0;
  int64_t llLastPage = -1;   /* object page number of the last page handed out */
  while (*prc == 0) {
    int rc = 0;
    unsigned char *pcPage = pzorts->pfnReadNext(pzorts, &rc);
    if (pcPage == nullptr && rc == 0 && ++ilEmpty > ilEmptyLimit) rc = ZORTS_RC_READ;
    if (pcPage == nullptr) {
      if (rc == 0) continue;   /* the rest of a last extent: no page this time */
      if (rc != ZORTS_RC_END && rc != ZORTS_RC_ENDEMP) {
        /* the rows read so far are a part of the table: never to be taken for all of it */
        fail(llLastPage + 1, rc, rc);
      } else if (pzorts->ilPageCount > 0 && llPagesRead < pzorts->ilPageCount) {
        fail(llPagesRead, FICDATA_RC_PAGES, ZORTS_RC_READ);   /* the image ends before the table's last page */
      }
      break;
    }
    ilEmpty = 0;
    llPagesRead++;
    int64_t llCarried = obyteGetLE32(pcPage + FICDATA_PAGE_NUMBER);
    llLastPage = pzorts->boPageExpected ? pzorts->llPageExpected : llCarried;
    if (llCarried != llLastPage) {
      fail(llLastPage, FICDATA_RC_PAGENO, SYSIBMBK_RC_DAMAGED);
      break;
    }
    int rcSlots = ficdataReadSlots(pcPage, ilPageSize, &slots);
    if (rcSlots != 0) {
      fail(llLastPage, rcSlots, SYSIBMBK_RC_DAMAGED);
      break;
    }
    /* the data-file header, table directory, descriptor and the first record of
       every 500th page are no rows, whatever their bytes look like; nor is the
       descriptor a pointer of page 0 names */
    int32_t ilFirst = ficdataFirstDataSlot(llLastPage);
    for (int32_t i = ilFirst; i < slots.ilCount && *prc == 0; i++) {
      if (pzorts->boDescMoved && llLastPage == pzorts->llDescPage && i == pzorts->iDescSlot) continue;
      int iKind = slots.aiKind[i];
      if (iKind == FICDATA_KIND_DAMAGED) {
        fail(llLastPage, FICDATA_RC_CORRUPT, SYSIBMBK_RC_DAMAGED);
        break;
      }
      if (iKind != FICDATA_KIND_NORMAL && iKind != FICDATA_KIND_OVERFLOW) continue;
      int32_t ilLength = 0;
      int rcRecord = ficdataRecordInPage(pcPage, ilPageSize, slots.ailOffset[i], &ilLength);
      const unsigned char *pcRecord = pcPage + slots.ailOffset[i];
      if (rcRecord == 0 && pcRecord[FICDATA_REC_FORMAT] == FICDATA_FORMAT_COMPRESSED) {
        if (boTraceCompressed) omsgsTrace("COMPRESSED RECORD expanded\n");
        rcRecord = _ficdataExpandCompressedRecord(&pzorts->tbdesc, pcRecord, ilLength, vExpanded.data(),
                                                  static_cast<int32_t>(vExpanded.size()), &ilLength);
        pcRecord = vExpanded.data();
      }
      if (rcRecord == 0 && pcRecord[FICDATA_REC_FORMAT] != FICDATA_FORMAT_ROW) rcRecord = FICDATA_RC_CORRUPT;
      if (rcRecord != 0) {
        omsgsTrace("Catalogue table %d: page %lld slot %d damaged (0x%x)\n", sTableId,
                   static_cast<long long>(llLastPage), i, static_cast<unsigned>(rcRecord));
        fail(llLastPage, rcRecord, SYSIBMBK_RC_DAMAGED);
        break;
      }
      int rcBuild = 0;
      osysibm *precord = procBuild(pzorts, ilFilter, pcharAlias, pcRecord, ilLength, &rcBuild);
      if (rcBuild != 0) {
        omsgsTrace("Catalogue table %d: page %lld slot %d not built (0x%x)\n", sTableId,
                   static_cast<long long>(llLastPage), i, static_cast<unsigned>(rcBuild));
        fail(llLastPage, rcBuild, rcBuild == ORC_NOMEM ? ORC_NOMEM : SYSIBMBK_RC_DAMAGED);
        break;
      }
      if (precord != nullptr) ochaineAppend(pchaine, precord);
    }
  }
  return pchaine;
}

/* ------------------------------------------------------------ merging */

/*
** Moves each item of pchaineFrom to the child chain iChaine of the first
** owner that procMatch accepts, searching from the owner of the previous
** item, then down the owners and round from the first.
*/
template <typename Owner, typename Item, typename Match>
void _sysibmMerge(ochaine *pchaineOwners, ochaine *pchaineFrom, int iChaine, int iItemSize, int16_t sTableId,
                  Match procMatch)
{
  if (pchaineOwners == nullptr || pchaineFrom == nullptr) return;
  Owner *pownerLast = nullptr;
  Item *pitem = static_cast<Item *>(pchaineFrom->pitemTop);
  while (pitem != nullptr) {
    Item *pitemNext = reinterpret_cast<Item *>(pitem->hdr.pnext);
    Owner *pownerStart = pownerLast != nullptr ? pownerLast : static_cast<Owner *>(pchaineOwners->pitemTop);
    Owner *pownerFound = nullptr;
    Owner *powner = pownerStart;
    while (powner != nullptr) {
      if (procMatch(powner, pitem)) {
        pownerFound = powner;
        break;
      }
      powner = reinterpret_cast<Owner *>(powner->hdr.pnext);
      if (powner == nullptr) powner = static_cast<Owner *>(pchaineOwners->pitemTop);
      if (powner == pownerStart) break;
    }
    pownerLast = pownerFound;
    if (pownerFound != nullptr) {
      ochaine *&pchaineChild = pownerFound->apchaine[iChaine];
      if (pchaineChild == nullptr) pchaineChild = _sysibmNewChaine(iItemSize, sTableId);
      if (pchaineChild == nullptr) return;   /* no memory: the rest stays where it is */
      ochaineRemoveItem(pchaineFrom, pitem);
      ochaineAppend(pchaineChild, pitem);
    }
    pitem = pitemNext;
  }
}

}  // namespace

/* ================================================================ builders */

osysibmSyscolumns *_sysibmCreateSysColumnsFromRecord(zorts *pzorts, int32_t ilFilter, const unsigned char *pcRecord,
                                                     int32_t ilLength, int *prc)
{
  (void)ilFilter;
  int rcDummy = 0;
  if (prc == nullptr) prc = &rcDummy;
  *prc = 0;
  _sysibmRow row;
  if (!_sysibmRowInit(&row, pzorts, pcRecord, ilLength)) {
    *prc = FICDATA_RC_CORRUPT;
    return nullptr;
  }
  auto *p = static_cast<osysibmSyscolumns *>(std::calloc(1, sizeof(osysibmSyscolumns)));
  if (p == nullptr) {
    *prc = ORC_NOMEM;
    return nullptr;
  }
  p->pcharNAME = _sysibmRowVarying(&row, SYSIBMBK_COL_NAME);
  p->pcharTBNAME = _sysibmRowVarying(&row, SYSIBMBK_COL_TBNAME);
  p->pcharTBCREATOR = _sysibmRowVarying(&row, SYSIBMBK_COL_TBCREATOR);
  p->pcharCOLTYPE = _sysibmRowFixed(&row, SYSIBMBK_COL_COLTYPE, 8, row.usCcsid);
  p->cNULLS = _sysibmRowByte(&row, SYSIBMBK_COL_NULLS);
  p->sCODEPAGE = _sysibmRowI16(&row, SYSIBMBK_COL_CODEPAGE);
  p->sDBCSCODEPG = _sysibmRowI16(&row, SYSIBMBK_COL_DBCSCODEPG);
  p->sLENGTH = _sysibmRowI16(&row, SYSIBMBK_COL_LENGTH);
  p->sSCALE = _sysibmRowI16(&row, SYSIBMBK_COL_SCALE);
  p->sCOLNO = _sysibmRowI16(&row, SYSIBMBK_COL_COLNO);
  p->pcharDEFAULTVALUE = _sysibmRowVarying(&row, SYSIBMBK_COL_DEFAULTVALUE);
  p->iLENGTH2 = _sysibmRowI32(&row, SYSIBMBK_COL_LENGTH2);
  p->cLOGGED = _sysibmRowByte(&row, SYSIBMBK_COL_LOGGED);
  p->cCOMPACT = _sysibmRowByte(&row, SYSIBMBK_COL_COMPACT);
  p->sCOMPOSITE_CODEPAGE = _sysibmRowI16(&row, SYSIBMBK_COL_COMPOSITE_CODEPAGE);
  if (row.boDamaged) {
    _sysibmDropRecord(&p->hdr, OSYSIBM_SYSCOLUMNS, 1);
    *prc = FICDATA_RC_CORRUPT;
    return nullptr;
  }
  osysibmCreateDictType();
  p->iTypeId = osysibmGetIdLength(p->pcharCOLTYPE, p->sLENGTH);
  return p;
}

osysibmSystables *_sysibmCreateSysTableFromRecord(zorts *pzorts, int32_t ilFilter, const unsigned char *pcRecord,
                                                  int32_t ilLength, int *prc)
{
  int rcDummy = 0;
  if (prc == nullptr) prc = &rcDummy;
  *prc = 0;
  _sysibmRow row;
  if (!_sysibmRowInit(&row, pzorts, pcRecord, ilLength)) {
    *prc = FICDATA_RC_CORRUPT;
    return nullptr;
  }
  int16_t sTid = _sysibmRowI16(&row, SYSIBMBK_TB_TID);
  if (row.boDamaged) {
    *prc = FICDATA_RC_CORRUPT;
    return nullptr;
  }
  if (ilFilter >= 0 && sTid != ilFilter) return nullptr;
  auto *p = static_cast<osysibmSystables *>(std::calloc(1, sizeof(osysibmSystables)));
  if (p == nullptr) {
    *prc = ORC_NOMEM;
    return nullptr;
  }
  p->sTID = sTid;
  p->pcharNAME = _sysibmRowVarying(&row, SYSIBMBK_TB_NAME);
  p->pcharCREATOR = _sysibmRowVarying(&row, SYSIBMBK_TB_CREATOR);
  p->cTYPE = _sysibmRowByte(&row, SYSIBMBK_TB_TYPE);
  p->pcharCREATEDTS = _sysibmRowFixed(&row, SYSIBMBK_TB_CREATEDTS, 10, SYSIBMBK_CCSID_BINARY);
  p->sCOLCOUNT = _sysibmRowI16(&row, SYSIBMBK_TB_COLCOUNT);
  p->sOBID = _sysibmRowI16(&row, SYSIBMBK_TB_OBID);
  p->iNPAGES = _sysibmRowI32(&row, SYSIBMBK_TB_NPAGES);
  p->iFPAGES = _sysibmRowI32(&row, SYSIBMBK_TB_FPAGES);
  p->pcharBASE_NAME = _sysibmRowVarying(&row, SYSIBMBK_TB_BASE_NAME);
  p->pcharBASE_SCHEMA = _sysibmRowVarying(&row, SYSIBMBK_TB_BASE_SCHEMA);
  p->pcharTSNAME = _sysibmRowVarying(&row, SYSIBMBK_TB_TSNAME);
  p->pcharINDEX_TBSPACE = _sysibmRowVarying(&row, SYSIBMBK_TB_INDEX_TBSPACE);
  p->pcharLONG_TBSPACE = _sysibmRowVarying(&row, SYSIBMBK_TB_LONG_TBSPACE);
  p->pcharDEFINER = _sysibmRowVarying(&row, SYSIBMBK_TB_DEFINER);
  p->sPMAP_ID = _sysibmRowI16(&row, SYSIBMBK_TB_PMAP_ID);
  if (row.boDamaged) {
    _sysibmDropRecord(&p->hdr, OSYSIBM_SYSTABLES, 5);
    *prc = FICDATA_RC_CORRUPT;
    return nullptr;
  }
  return p;
}

osysibmSystablespace *_sysibmCreateSysTablespaceFromRecord(zorts *pzorts, int32_t ilFilter, const ochar *pcharAlias,
                                                           const unsigned char *pcRecord, int32_t ilLength, int *prc)
{
  (void)ilFilter;
  int rcDummy = 0;
  if (prc == nullptr) prc = &rcDummy;
  *prc = 0;
  _sysibmRow row;
  if (!_sysibmRowInit(&row, pzorts, pcRecord, ilLength)) {
    *prc = FICDATA_RC_CORRUPT;
    return nullptr;
  }
  auto *p = static_cast<osysibmSystablespace *>(std::calloc(1, sizeof(osysibmSystablespace)));
  if (p == nullptr) {
    *prc = ORC_NOMEM;
    return nullptr;
  }
  p->pcharNAME = _sysibmRowVarying(&row, SYSIBMBK_TS_NAME);
  p->pcharCREATOR = _sysibmRowVarying(&row, SYSIBMBK_TS_CREATOR);
  p->sOBID = _sysibmRowI16(&row, SYSIBMBK_TS_OBID);
  p->cTBSPACETYPE = _sysibmRowByte(&row, SYSIBMBK_TS_TBSPACETYPE);
  p->cDATATYPE = _sysibmRowByte(&row, SYSIBMBK_TS_DATATYPE);
  p->iEXTENTSIZE = _sysibmRowI32(&row, SYSIBMBK_TS_EXTENTSIZE);
  p->iPREFETCHSIZE = _sysibmRowI32(&row, SYSIBMBK_TS_PREFETCHSIZE);
  p->pcharNGNAME = _sysibmRowVarying(&row, SYSIBMBK_TS_NGNAME);
  p->iBUFFERPOOLID = _sysibmRowI32(&row, SYSIBMBK_TS_BUFFERPOOLID);
  p->iPAGESIZE = _sysibmRowI32(&row, SYSIBMBK_TS_PAGESIZE);
  p->cDROP_RECOVERY = _sysibmRowByte(&row, SYSIBMBK_TS_DROP_RECOVERY);
  if (row.boDamaged) {
    _sysibmDropRecord(&p->hdr, OSYSIBM_SYSTABLESPACE, 2);
    *prc = FICDATA_RC_CORRUPT;
    return nullptr;
  }
  p->pcharDBNAME = ocharClone(pcharAlias);
  return p;
}

/* ================================================================ loaders */

ochaine *sysibmLoadSyscolumns(zorts *pzorts, int32_t ilFilter, ochaine *pchaine, int *prc)
{
  return _sysibmLoad(pzorts, ilFilter, nullptr, pchaine, prc, sizeof(osysibmSyscolumns), OSYSIBM_SYSCOLUMNS,
                     _sysibmBuildColumn, false);
}

ochaine *sysibmLoadSystable(zorts *pzorts, int32_t ilFilter, ochaine *pchaine, int *prc)
{
  return _sysibmLoad(pzorts, ilFilter, nullptr, pchaine, prc, sizeof(osysibmSystables), OSYSIBM_SYSTABLES,
                     _sysibmBuildTable, false);
}

ochaine *sysibmLoadSystablespaces(zorts *pzorts, int32_t ilFilter, const ochar *pcharAlias, ochaine *pchaine,
                                  int *prc)
{
  return _sysibmLoad(pzorts, ilFilter, pcharAlias, pchaine, prc, sizeof(osysibmSystablespace),
                     OSYSIBM_SYSTABLESPACE, _sysibmBuildTablespace, true);
}

/* ================================================================ merges */

void _sysibmMergeTableColumn(ochaine *pchaineTables, ochaine *pchaineColumns)
{
  _sysibmMerge<osysibmSystables, osysibmSyscolumns>(
      pchaineTables, pchaineColumns, 0, sizeof(osysibmSyscolumns), OSYSIBM_SYSCOLUMNS,
      [](osysibmSystables *ptable, osysibmSyscolumns *pcolumn) {
        return ocharCompare(ptable->pcharNAME, pcolumn->pcharTBNAME, ' ') == 0 &&
               ocharCompare(ptable->pcharCREATOR, pcolumn->pcharTBCREATOR, ' ') == 0;
      });
}

void _sysibmMergeTSTable(ochaine *pchaineTbs, ochaine *pchaineTables)
{
  _sysibmMerge<osysibmSystablespace, osysibmSystables>(
      pchaineTbs, pchaineTables, 1, sizeof(osysibmSystables), OSYSIBM_SYSTABLES,
      [](osysibmSystablespace *ptbs, osysibmSystables *ptable) { return ptbs->sOBID == ptable->sTID; });
}

/*
** Every table must have as many column records as its table record gives:
** a table whose columns do not add up was not read whole.  Returns 0, or
** SYSIBMBK_RC_COLUMNS after ZORU435E naming the first such table.
*/
static int _sysibmCheckColumnCounts(ochaine *pchaineTables)
{
  if (pchaineTables == nullptr) return 0;
  for (auto *ptable = static_cast<osysibmSystables *>(pchaineTables->pitemTop); ptable != nullptr;
       ptable = reinterpret_cast<osysibmSystables *>(ptable->hdr.pnext)) {
    int32_t ilColumns = ptable->apchaine[0] != nullptr ? ptable->apchaine[0]->iItemCount : 0;
    if (ilColumns == ptable->sCOLCOUNT) continue;
    auto text = [](const ochar *pchar) {
      std::string str = pchar != nullptr && pchar->pcData != nullptr
                            ? std::string(_charText(pchar), static_cast<size_t>(pchar->ilBU))
                            : std::string();
      return str.substr(0, str.find_last_not_of(' ') + 1);
    };
    std::string strCreator = text(ptable->pcharCREATOR), strName = text(ptable->pcharNAME);
    omsgsFMTEDO(ZORU435E, strCreator.c_str(), strName.c_str(), static_cast<int>(ilColumns),
                static_cast<int>(ptable->sCOLCOUNT));
    return SYSIBMBK_RC_COLUMNS;
  }
  return 0;
}

/* ================================================================ entry point */

ochaine *sysibmLoadCatalogFromBackup(zorbk *pzorbk, int *prc)
{
  int rcDummy = 0;
  if (prc == nullptr) prc = &rcDummy;
  *prc = 0;
  if (pzorbk == nullptr) return nullptr;
  osysibmCreateDictType();
  int32_t ilType = pzorbk->ilCatalogTbsType;
  int32_t ilColumnsId, ilTablesId, ilTbsId;
  if (ilType == ZORTS_TYPE_SMS) {
    ilColumnsId = SYSIBMBK_SMS_SYSCOLUMNS;
    ilTablesId = SYSIBMBK_SMS_SYSTABLES;
    ilTbsId = pzorbk->ilVersion < 8 ? SYSIBMBK_SMS_SYSTABLESPACES_V7 : SYSIBMBK_SMS_SYSTABLESPACES_V8;
  } else if (ilType == ZORTS_TYPE_DMS) {
    ilColumnsId = SYSIBMBK_DMS_SYSCOLUMNS;
    ilTablesId = SYSIBMBK_DMS_SYSTABLES;
    ilTbsId = pzorbk->ilVersion < 8 ? SYSIBMBK_DMS_SYSTABLESPACES_V7 : SYSIBMBK_DMS_SYSTABLESPACES_V8;
  } else {
    /* the image holds no catalogue table space: there is no catalogue to read */
    omsgsTrace("Unknown Catalog Type : %i\n", ilType);
    return nullptr;
  }

  ochaine *pchaineColumns = nullptr, *pchaineTables = nullptr, *pchaineTbs = nullptr;
  /* one catalogue table: a table-space object over it, read whole */
  auto load = [&](int32_t ilObjId, int16_t sTableId, auto procLoad) -> ochaine * {
    int rc = 0;
    zorts *pzorts = zortsCreateFromBackup(pzorbk, 0, ilObjId, &rc);
    if (pzorts == nullptr) {
      /* its first page, or the object itself, cannot be had */
      omsgsFMTEDO(ZORU428E, _sysibmTableName(sTableId), 0LL, static_cast<unsigned>(rc != 0 ? rc : ZORTS_RC_READ));
      *prc = rc == ZORTS_RC_NOMEM || rc == ZORBK_RC_NOMEM ? ORC_NOMEM : rc != 0 ? rc : ZORTS_RC_READ;
      return nullptr;
    }
    ochaine *pchaine = procLoad(pzorts, &rc);
    zortsDestroy(pzorts);
    if (pchaine == nullptr && rc == 0) rc = ORC_NOMEM;
    *prc = rc;   /* ZORU428E is written */
    return pchaine;
  };
  pchaineColumns = load(ilColumnsId, OSYSIBM_SYSCOLUMNS,
                        [](zorts *pzorts, int *prcLoad) { return sysibmLoadSyscolumns(pzorts, -1, nullptr, prcLoad); });
  if (*prc == 0)
    pchaineTables = load(ilTablesId, OSYSIBM_SYSTABLES,
                         [](zorts *pzorts, int *prcLoad) { return sysibmLoadSystable(pzorts, -1, nullptr, prcLoad); });
  if (*prc == 0) {
    _sysibmMergeTableColumn(pchaineTables, pchaineColumns);
    *prc = _sysibmCheckColumnCounts(pchaineTables);
  }
  if (*prc == 0)
    pchaineTbs = load(ilTbsId, OSYSIBM_SYSTABLESPACE, [pzorbk](zorts *pzorts, int *prcLoad) {
      return sysibmLoadSystablespaces(pzorts, 0, pzorbk->pcharAlias, nullptr, prcLoad);
    });
  if (*prc != 0) {
    omsgsTrace("Catalogue from backup not loaded (0x%x)\n", static_cast<unsigned>(*prc));
    _sysibmFreeColumns(pchaineColumns);
    _sysibmFreeTables(pchaineTables);
    _sysibmFreeTablespaces(pchaineTbs);
    return nullptr;
  }
  _sysibmMergeTSTable(pchaineTbs, pchaineTables);

  /* rows that found no owner */
  _sysibmFreeColumns(pchaineColumns);
  _sysibmFreeTables(pchaineTables);
  return pchaineTbs;
}
