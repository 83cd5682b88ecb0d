/*
** zortsdesc.cpp
**   First-page records of a table read through a table-space object: the
**   data-file header, the table directory and the table descriptor (see
**   zortsdesc.h).  The slot directory and records are checked by the page
**   functions of ficdata before they are used.
*/
#include "storage/zortsdesc.h"

#include <cstdlib>

#include "common/obyte.h"
#include "common/omsgs.h"
#include "model/zormsgs.h"
#include "storage/ficdata.h"
#include "storage/zorts.h"

#define OMSGS_TRACE_KEYWORD "$TS"
#define OMSGS_DEBUG_KEYWORD nullptr
#include "common/omsgsmod.h"

/* The page offset of a record in slot iSlot that holds its header inside
** the page, or -1 (with a trace). */
static int32_t _zortsSlotRecord(const unsigned char *pcPage, int32_t ilPageSize, int iSlot)
{
  ficdataSlots slots;
  int rc = ficdataReadSlots(pcPage, ilPageSize, &slots);
  if (rc != 0 && rc != FICDATA_RC_CORRUPT) {
    omsgsTrace("Slot directory unreadable: 0x%x", rc);
    return -1;
  }
  if (iSlot >= slots.ilCount || slots.aiKind[iSlot] < 0) {
    omsgsTrace("Slot %d: no record (%d slots)", iSlot, slots.ilCount);
    return -1;
  }
  int32_t ilOffset = slots.ailOffset[iSlot];
  if (ficdataRecordInPage(pcPage, ilPageSize, ilOffset, nullptr) != 0) {
    omsgsTrace("Slot %d: record at %d does not fit the page", iSlot, ilOffset);
    return -1;
  }
  return ilOffset;
}

int zortsGetTBDesc(zorts *pzorts, const unsigned char *pcPage)
{
  if (pzorts == nullptr || pcPage == nullptr) return -1;
  const int32_t ilPageSize = pzorts->ilPageSize;
  int32_t ilOffset = _zortsSlotRecord(pcPage, ilPageSize, FICDATA_SLOT_DESCRIPTOR);
  if (ilOffset < 0) return -1;
  const unsigned char *pcDescPage = pcPage;
  unsigned char *pcRead = nullptr;
  uint32_t ulTarget = 0;
  int iKind = pcPage[ilOffset] & 0x0F;
  if (iKind == FICDATA_KIND_POINTER) {
    ulTarget = obyteGetLE32(pcPage + ilOffset + FICDATA_REC_POINTER);
    int iCode = 0;
    if (pzorts->pfnReadAbs != nullptr)
      pcRead = pzorts->pfnReadAbs(pzorts, ulTarget >> 8, nullptr, 1, ZORTS_READ_RESTORE, &iCode);
    if (pcRead == nullptr) {
      omsgsTrace("Continuation Read = 0x%x", iCode);
      return -1;
    }
    pcDescPage = pcRead;
    ilOffset = _zortsSlotRecord(pcDescPage, ilPageSize, static_cast<int>(ulTarget & 0xFF));
    iKind = ilOffset >= 0 ? pcDescPage[ilOffset] & 0x0F : -1;
  }
  int rc = -1;
  if (iKind == FICDATA_KIND_NORMAL || iKind == FICDATA_KIND_OVERFLOW) {
    ficdataTableDesc desc = {};
    if (_ficdataReadTableDescriptorRecord(nullptr, pcDescPage, ilPageSize, ilOffset, &desc) == 0) {
      free(pzorts->tbdesc.pcolumns);
      pzorts->tbdesc = desc;
      pzorts->ilFixedLength = desc.ilFixedLength;
      pzorts->ilMaxRecord = ficdataSizeEnreg(&desc);
      pzorts->boDescMoved = pcRead != nullptr;
      if (pcRead != nullptr) {
        /* the page loops meet that record among the table's pages: it is no row */
        pzorts->llDescPage = obyteGetLE32(pcDescPage + FICDATA_PAGE_NUMBER);
        pzorts->iDescSlot = static_cast<int>(ulTarget & 0xFF);
        omsgsTrace("Table descriptor on object page %lld slot %d", static_cast<long long>(pzorts->llDescPage),
                   pzorts->iDescSlot);
      }
      rc = 0;
    }
  } else {
    omsgsTrace("Table descriptor: record kind %d", iKind);
  }
  free(pcRead);
  return rc;
}

int zortsGetDataFileHeader(zorts *pzorts, const unsigned char *pcPage)
{
  if (pzorts == nullptr || pcPage == nullptr) return -1;
  int32_t ilOffset = _zortsSlotRecord(pcPage, pzorts->ilPageSize, FICDATA_SLOT_HEADER);
  if (ilOffset < 0) return -1;
  pzorts->ilPageCount = static_cast<int32_t>(obyteGetLE32(pcPage + ilOffset + 4));
  omsgsTrace("Pages in table = %ld", static_cast<long>(pzorts->ilPageCount));
  return 0;
}

int zortsGetTDirRec(zorts *pzorts, const unsigned char *pcPage)
{
  if (pzorts == nullptr || pcPage == nullptr) return -1;
  return _zortsSlotRecord(pcPage, pzorts->ilPageSize, FICDATA_SLOT_TDIR) < 0 ? -1 : 0;
}

int zortsReadFirstPage(zorts *pzorts, const unsigned char *pcPage, int32_t ilTbsId, int32_t ilObjId)
{
  int rc = zortsGetDataFileHeader(pzorts, pcPage);
  if (rc == 0) rc = zortsGetTDirRec(pzorts, pcPage);
  if (rc == 0) rc = zortsGetTBDesc(pzorts, pcPage);
  if (rc == 0) return 0;
  omsgsFMTEDO(ZORU436E, static_cast<int>(ilObjId), static_cast<int>(ilTbsId));
  return ZORTS_RC_NODESC;
}
