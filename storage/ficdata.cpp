/*
** ficdata.cpp
**   Data pages and records: slot directories, the table descriptor record and
**   the table description, expansion of value-compressed records, the
**   decoding of a stored record into an unload record (with the long-field
**   and LOB data fetched from the reader's children), the sampler and the
**   LOB file names.  Layouts in ficdata.h; every value taken from a page is
**   checked against the page or the record before it is followed.
*/
#include "storage/ficdata.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/obf.h"
#include "common/obyte.h"
#include "common/ochar.h"
#include "common/olist.h"
#include "common/omsgs.h"
#include "common/ovf.h"
#include "io/socket.h"
#include "model/token.h"
#include "model/tools.h"
#include "model/udb.h"
#include "model/zoratom.h"
#include "model/zormsgs.h"
#include "model/zortask.h"
#include "expr/zornodeeval.h"
#include "storage/ficcont.h"
#include "storage/ficdb2.h"

#define OMSGS_TRACE_KEYWORD "$FICDAT"
#define OMSGS_DEBUG_KEYWORD nullptr
#include "common/omsgsmod.h"

namespace {

inline int16_t _getI16(const unsigned char *p) { return static_cast<int16_t>(obyteGetLE16(p)); }
inline int32_t _getI32(const unsigned char *p) { return static_cast<int32_t>(obyteGetLE32(p)); }

inline bool _isVariableType(int16_t sType)
{
  switch (sType) {
    case FICDATA_T_VARCHAR: case FICDATA_T_LONGVARCHAR: case FICDATA_T_BLOB: case FICDATA_T_CLOB:
    case FICDATA_T_VARGRAPHIC: case FICDATA_T_LONGVARG: case FICDATA_T_DBCLOB:
      return true;
    default:
      return false;
  }
}

inline bool _isLongFieldType(int16_t sType)
{
  return sType == FICDATA_T_LONGVARCHAR || sType == FICDATA_T_LONGVARG;
}

inline bool _isLobType(int16_t sType)
{
  return sType == FICDATA_T_BLOB || sType == FICDATA_T_CLOB || sType == FICDATA_T_DBCLOB;
}

/* Type codes with a size of their own (the others are unknown). */
inline bool _isKnownType(int16_t sType)
{
  switch (sType) {
    case FICDATA_T_SMALLINT: case FICDATA_T_INTEGER: case FICDATA_T_DECIMAL: case FICDATA_T_FIXED8A:
    case FICDATA_T_FIXED4: case FICDATA_T_FIXED8B: case FICDATA_T_CHAR: case FICDATA_T_DATE:
    case FICDATA_T_TIME: case FICDATA_T_TIMESTAMP: case FICDATA_T_GRAPHIC:
      return true;
    default:
      return _isVariableType(sType);
  }
}

/*
** The in-record size of a column and whether its bytes are a variable
** column's offset and length, in one switch: the per-row checks and the
** expansion of compressed records call it for every column of every row.
*/
[[gnu::always_inline]] inline int32_t _inRecordSize(int16_t sType, int16_t sLength, bool *pboVariable)
{
  *pboVariable = false;
  switch (sType) {
    case FICDATA_T_SMALLINT: return 2;
    case FICDATA_T_INTEGER: return 4;
    case FICDATA_T_DECIMAL: return ((static_cast<uint16_t>(sLength) >> 8) & 0xFF) / 2 + 1;
    case FICDATA_T_DATE: return 4;
    case FICDATA_T_TIME: return 3;
    case FICDATA_T_TIMESTAMP: return 10;
    case FICDATA_T_VARCHAR: case FICDATA_T_LONGVARCHAR: case FICDATA_T_BLOB: case FICDATA_T_CLOB:
    case FICDATA_T_VARGRAPHIC: case FICDATA_T_LONGVARG: case FICDATA_T_DBCLOB:
      *pboVariable = true;
      return 4;
    default:
      return sLength;
  }
}

/* Default bytes of a compressed record's value 128. */
const unsigned char gaucZero[16] = {0};
const unsigned char gaucDateDefault[4] = {0x00, 0x01, 0x01, 0x01};
const unsigned char gaucTimestampDefault[10] = {0x00, 0x01, 0x01, 0x01, 0, 0, 0, 0, 0, 0};

/* Writes all of a buffer to a pipe.  False when the pipe fails. */
bool _writeAll(int iFd, const void *pBuffer, size_t ulSize)
{
  const auto *pc = static_cast<const unsigned char *>(pBuffer);
  while (ulSize > 0) {
    ssize_t l = write(iFd, pc, ulSize);
    if (l < 0 && errno == EINTR) continue;
    if (l <= 0) return false;
    pc += l;
    ulSize -= static_cast<size_t>(l);
  }
  return true;
}

/* Writes one native 4-byte integer to a pipe. */
bool _writeInt(int iFd, int32_t il)
{
  return _writeAll(iFd, &il, sizeof il);
}

/* Reads exactly ilSize bytes from a pipe. */
bool _readExact(int iFd, void *pBuffer, int32_t ilSize)
{
  if (ilSize == 0) return true;
  return toolsReadInPipe(iFd, pBuffer, ilSize) == ilSize;
}

}  // namespace

int ficdataIsPageSize(int32_t ilPageSize)
{
  return ilPageSize == 4096 || ilPageSize == 8192 || ilPageSize == 16384 || ilPageSize == 32768;
}

int ficdataReadSlots(const unsigned char *pcPage, int32_t ilPageSize, ficdataSlots *pslots)
{
  if (pslots == nullptr) return ORC_INVALID;
  pslots->ilCount = 0;
  if (pcPage == nullptr || !ficdataIsPageSize(ilPageSize)) return ORC_INVALID;
  const unsigned char *pcEnd = pcPage + ilPageSize;
  int32_t ilDir = obyteGetLE16(pcPage + FICDATA_PAGE_SLOTDIR);
  uint16_t usCount;
  if (ilDir >= ilPageSize) {
    omsgsTrace("Slot directory at %d outside a page of %d bytes", ilDir, ilPageSize);
    return FICDATA_RC_CORRUPT;
  }
  if (!obyteReadLE16(pcPage + ilDir, pcEnd, &usCount)) return FICDATA_RC_TRUNCATED;
  int32_t ilCount = static_cast<int16_t>(usCount);
  if (ilCount == 0) return 0;
  if (ilCount < 0 || ilCount > FICDATA_MAX_SLOTS) {
    omsgsTrace("Slot count %d at %d outside 0 to %d", ilCount, ilDir, FICDATA_MAX_SLOTS);
    return FICDATA_RC_CORRUPT;
  }
  int32_t ilBase = ilDir + FICDATA_SLOTS_BASE;
  if (ilBase + 2 * ilCount > ilPageSize) {
    omsgsTrace("Slot directory at %d with %d slots runs past the page", ilDir, ilCount);
    return FICDATA_RC_TRUNCATED;
  }
  int rc = 0;
  for (int32_t i = 0; i < ilCount; i++) {
    int32_t ilValue = _getI16(pcPage + ilBase + 2 * i);
    if (ilValue == -1) {
      pslots->ailOffset[i] = -1;
      pslots->aiKind[i] = FICDATA_KIND_EMPTY;
      continue;
    }
    int32_t ilOffset = ilBase + ilValue;
    if (ilOffset < 0 || ilOffset >= ilPageSize) {
      omsgsTrace("Slot %d: record offset %d outside the page", i, ilOffset);
      pslots->ailOffset[i] = -1;
      pslots->aiKind[i] = FICDATA_KIND_DAMAGED;
      rc = FICDATA_RC_CORRUPT;
      continue;
    }
    pslots->ailOffset[i] = ilOffset;
    pslots->aiKind[i] = pcPage[ilOffset] & 0x0F;
  }
  pslots->ilCount = ilCount;
  return rc;
}

int ficdataCheckPage(const char *pcTable, int64_t *pllDamaged, const unsigned char *pcPage, int32_t ilPageSize,
                     int64_t llExpected, ficdataSlots *pslots, int64_t *pllObjectPage)
{
  pslots->ilCount = 0;
  int64_t llCarried = obyteGetLE32(pcPage + FICDATA_PAGE_NUMBER);
  int64_t llPage = llExpected >= 0 ? llExpected : llCarried;
  if (pllObjectPage != nullptr) *pllObjectPage = llPage;
  const char *pc = pcTable != nullptr && pcTable[0] != '\0' ? pcTable : "?";
  if (llExpected >= 0 && llCarried != llExpected) {
    omsgsTrace("Page expected as object page %lld carries %lld", static_cast<long long>(llExpected),
               static_cast<long long>(llCarried));
    omsgsFMTEDO(ZORU433W, pc, static_cast<long long>(llExpected), static_cast<long long>(llCarried));
    if (pllDamaged != nullptr) (*pllDamaged)++;
    return 0;
  }
  int rc = ficdataReadSlots(pcPage, ilPageSize, pslots);
  if (rc == 0) return 1;
  omsgsTrace("Page %lld: slot directory 0x%x (%d slots usable)", static_cast<long long>(llPage), rc, pslots->ilCount);
  if (pslots->ilCount > 0) return 1;
  ficdataSkipDamaged(pc, pllDamaged, llPage, -1, rc);
  return 0;
}

int ficdataDescriptorTarget(const unsigned char *pcPage, int32_t ilPageSize, uint32_t *pulPage, int *piSlot)
{
  ficdataSlots slots;
  if (ficdataReadSlots(pcPage, ilPageSize, &slots) != 0 && slots.ilCount == 0) return 0;
  if (slots.ilCount <= FICDATA_SLOT_DESCRIPTOR || slots.aiKind[FICDATA_SLOT_DESCRIPTOR] != FICDATA_KIND_POINTER)
    return 0;
  int32_t ilOffset = slots.ailOffset[FICDATA_SLOT_DESCRIPTOR];
  if (ficdataRecordInPage(pcPage, ilPageSize, ilOffset, nullptr) != 0) return 0;
  uint32_t ulTarget = obyteGetLE32(pcPage + ilOffset + FICDATA_REC_POINTER);
  *pulPage = ulTarget >> 8;
  *piSlot = static_cast<int>(ulTarget & 0xFF);
  return 1;
}

int ficdataFirstDataSlot(int64_t llObjectPage)
{
  if (llObjectPage == 0) return 4;
  if (llObjectPage > 0 && llObjectPage % 500 == 0) return 1;
  return 0;
}

int ficdataRecordInPage(const unsigned char *pcPage, int32_t ilPageSize, int32_t ilOffset,
                        int32_t *pilLength)
{
  if (ilOffset < 0 || ilOffset >= ilPageSize) return FICDATA_RC_CORRUPT;
  if (ilOffset + FICDATA_REC_HEADER > ilPageSize) return FICDATA_RC_TRUNCATED;
  const unsigned char *pcRecord = pcPage + ilOffset;
  int iKind = pcRecord[0] & 0x0F;
  int32_t ilLength = ilPageSize - ilOffset;
  if ((iKind == FICDATA_KIND_NORMAL || iKind == FICDATA_KIND_OVERFLOW) &&
      pcRecord[FICDATA_REC_FORMAT] == FICDATA_FORMAT_ROW) {
    int32_t ilStored = obyteGetLE16(pcRecord + FICDATA_REC_LENGTH);
    if (ilStored < FICDATA_REC_HEADER) {
      omsgsTrace("Record at %d: length %d below its header", ilOffset, ilStored);
      return FICDATA_RC_CORRUPT;
    }
    if (ilStored > ilLength) {
      omsgsTrace("Record at %d: length %d runs past the page", ilOffset, ilStored);
      return FICDATA_RC_TRUNCATED;
    }
    ilLength = ilStored;
  }
  if (pilLength != nullptr) *pilLength = ilLength;
  return 0;
}

int32_t ficdataInRecordSize(int16_t sType, int16_t sLength)
{
  bool boVariable;
  return _inRecordSize(sType, sLength, &boVariable);
}

int _ficdataReadTableDescriptorRecord(ficdata *pficdata, const unsigned char *pcPage,
                                      int32_t ilPageSize, int32_t ilOffset,
                                      ficdataTableDesc *pdesc)
{
  if (pcPage == nullptr || pdesc == nullptr) return ORC_INVALID;
  int32_t ilLength;
  int rc = ficdataRecordInPage(pcPage, ilPageSize, ilOffset, &ilLength);
  if (rc != 0) return rc;
  const unsigned char *pcRecord = pcPage + ilOffset;
  int32_t ilCount = _getI16(pcRecord + FICDATA_REC_FIXED);
  if (ilCount <= 0) {
    omsgsTrace("Table descriptor at %d: %d columns", ilOffset, ilCount);
    return FICDATA_RC_CORRUPT;
  }
  if (FICDATA_REC_HEADER + 8 * ilCount > ilLength) {
    omsgsTrace("Table descriptor at %d: %d columns run past the record of %d bytes", ilOffset,
               ilCount, ilLength);
    return FICDATA_RC_TRUNCATED;
  }
  auto *pcolumns = static_cast<ficdataColumnDesc *>(calloc(ilCount, sizeof(ficdataColumnDesc)));
  if (pcolumns == nullptr) return ORC_NOMEM;
  int32_t ilFixed = 0;
  uint8_t ucLong = 0, ucLob = 0;
  for (int32_t k = 0; k < ilCount; k++) {
    const unsigned char *pcEntry = pcRecord + FICDATA_REC_HEADER + 8 * k;
    ficdataColumnDesc *pcol = &pcolumns[k];
    pcol->usColumn = static_cast<uint16_t>(k);
    pcol->sType = _getI16(pcEntry);
    if (pcol->sType == FICDATA_T_DECIMAL)
      pcol->sLength = static_cast<int16_t>(pcEntry[2] << 8 | pcEntry[3]);
    else
      pcol->sLength = _getI16(pcEntry + 2);
    pcol->sFlags = _getI16(pcEntry + 4);
    pcol->sOffset = _getI16(pcEntry + 6);
    int32_t ilSize = ficdataInRecordSize(pcol->sType, pcol->sLength);
    int boNullable = pcol->sFlags & 1;
    if (ilSize < 0 || pcol->sOffset < 0 ||
        pcol->sOffset + ilSize + boNullable > FICDATA_MAX_ROW) {
      omsgsTrace("Table descriptor at %d: column %d type %d length %d offset %d impossible",
                 ilOffset, k, pcol->sType, pcol->sLength, pcol->sOffset);
      free(pcolumns);
      return FICDATA_RC_CORRUPT;
    }
    pcol->sNullOffset = boNullable ? static_cast<int16_t>(pcol->sOffset + ilSize) : -1;
    pcol->sUsed = 0;
    ilFixed += ilSize + boNullable;
    if (_isLongFieldType(pcol->sType)) ucLong = 1;
    if (_isLobType(pcol->sType)) ucLob = 1;
  }
  if (ilFixed > FICDATA_MAX_ROW) {
    omsgsTrace("Table descriptor at %d: fixed part of %d bytes", ilOffset, ilFixed);
    free(pcolumns);
    return FICDATA_RC_CORRUPT;
  }
  pdesc->pcolumns = pcolumns;
  pdesc->sColumnCount = static_cast<int16_t>(ilCount);
  pdesc->ilFixedLength = ilFixed;
  pdesc->ucLongField = ucLong;
  pdesc->ucLob = ucLob;
  omsgsTrace("Table descriptor%s: %d columns, fixed part %d, long fields %d, LOBs %d",
             pficdata != nullptr ? " (first-generation reader)" : "", ilCount, ilFixed, ucLong, ucLob);
  return 0;
}

int32_t ficdataSizeEnreg(const ficdataTableDesc *pdesc)
{
  int32_t ilSize = FICDATA_MAX_ROW;
  if (pdesc == nullptr || pdesc->pcolumns == nullptr) return ilSize;
  for (int i = 0; i < pdesc->sColumnCount; i++) {
    int16_t sType = pdesc->pcolumns[i].sType;
    if (_isLongFieldType(sType) || _isLobType(sType)) ilSize += FICDATA_MAX_LONGDATA;
  }
  return ilSize;
}

int _ficdataIsVariableColumn(const ficdataTableDesc *pdesc, int iColumn, int32_t *psSize,
                             int *pboNullable)
{
  if (pdesc == nullptr || pdesc->pcolumns == nullptr || iColumn < 0 || iColumn >= pdesc->sColumnCount)
    return -1;
  const ficdataColumnDesc *pcol = &pdesc->pcolumns[iColumn];
  if (pboNullable != nullptr) *pboNullable = pcol->sFlags & 1;
  if (_isVariableType(pcol->sType)) {
    if (psSize != nullptr) *psSize = pcol->sLength;
    return 1;
  }
  if (_isKnownType(pcol->sType) && psSize != nullptr)
    *psSize = ficdataInRecordSize(pcol->sType, pcol->sLength);
  return 0;
}

const unsigned char *_ficdataGetDefault(const ficdataTableDesc *pdesc, int iColumn, int32_t *psSize,
                                        int *pboNullable)
{
  if (pdesc == nullptr || pdesc->pcolumns == nullptr || iColumn < 0 || iColumn >= pdesc->sColumnCount)
    return nullptr;
  const ficdataColumnDesc *pcol = &pdesc->pcolumns[iColumn];
  int32_t ilSize = ficdataInRecordSize(pcol->sType, pcol->sLength);
  if (psSize != nullptr) *psSize = ilSize;
  if (pboNullable != nullptr) *pboNullable = pcol->sFlags & 1;
  switch (pcol->sType) {
    case FICDATA_T_DATE: return gaucDateDefault;
    case FICDATA_T_TIMESTAMP: return gaucTimestampDefault;
    case FICDATA_T_CHAR: case FICDATA_T_GRAPHIC: return nullptr;
    default:
      if (!_isKnownType(pcol->sType) || ilSize > static_cast<int32_t>(sizeof gaucZero)) return nullptr;
      return gaucZero;
  }
}

namespace {

/*
** Copies n bytes that do not overlap, inline for the short values of a
** row (two loads and two stores that may overlap each other), else memcpy.
*/
[[gnu::always_inline]] inline void _copyValue(unsigned char *pcTo, const unsigned char *pcFrom, int32_t n)
{
  if (n >= 8 && n <= 16) {
    uint64_t ul1, ul2;
    std::memcpy(&ul1, pcFrom, 8);
    std::memcpy(&ul2, pcFrom + n - 8, 8);
    std::memcpy(pcTo, &ul1, 8);
    std::memcpy(pcTo + n - 8, &ul2, 8);
  } else if (n >= 4 && n < 8) {
    uint32_t ul1, ul2;
    std::memcpy(&ul1, pcFrom, 4);
    std::memcpy(&ul2, pcFrom + n - 4, 4);
    std::memcpy(pcTo, &ul1, 4);
    std::memcpy(pcTo + n - 4, &ul2, 4);
  } else if (n < 4) {
    for (int32_t i = 0; i < n; i++) pcTo[i] = pcFrom[i];
  } else {
    std::memcpy(pcTo, pcFrom, static_cast<size_t>(n));
  }
}

/*
** The expansion of a compressed record, with the column sizes given by
** fnColumn(i, &size, &variable, &nullable): from the description, or from
** the ones a row check made ready.
*/
template <typename ColumnInfo>
[[gnu::always_inline]] inline int _expandRecord(const ficdataTableDesc *pdesc, int32_t ilFixedLength,
                                                const unsigned char *pcRecord, int32_t ilRecordSize,
                                                unsigned char *pcBuffer, int32_t ilBufferSize, int32_t *pilLength,
                                                ColumnInfo fnColumn)
{
  if (pdesc == nullptr || pcRecord == nullptr || pcBuffer == nullptr || pilLength == nullptr)
    return ORC_INVALID;
  if (ilRecordSize < FICDATA_REC_HEADER) return FICDATA_RC_TRUNCATED;
  int32_t ilEntries = _getI16(pcRecord + FICDATA_REC_FIXED);
  if (ilEntries < 0 || ilEntries > pdesc->sColumnCount || (ilEntries > 0 && pdesc->pcolumns == nullptr)) {
    omsgsTrace("Compressed record: %d entries for %d columns", ilEntries, pdesc->sColumnCount);
    return FICDATA_RC_CORRUPT;
  }
  int32_t ilValues = FICDATA_REC_HEADER + 2 * (ilEntries + 1);
  if (ilValues > ilRecordSize) return FICDATA_RC_TRUNCATED;
  if (ilFixedLength < 0 || ilFixedLength > INT16_MAX ||
      FICDATA_REC_HEADER + ilFixedLength > ilBufferSize) {
    omsgsTrace("Compressed record: fixed part %d for a buffer of %d", ilFixedLength, ilBufferSize);
    return FICDATA_RC_CORRUPT;
  }
  std::memset(pcBuffer, 0, FICDATA_REC_HEADER + ilFixedLength);
  pcBuffer[FICDATA_REC_FORMAT] = FICDATA_FORMAT_ROW;
  unsigned char *pcRow = pcBuffer + FICDATA_REC_HEADER;
  const unsigned char *pcEntries = pcRecord + FICDATA_REC_HEADER;
  int32_t ilIn = ilValues;          /* next value in the record */
  int32_t ilFixed = 0;              /* bytes written in the fixed part */
  int32_t ilVar = ilFixedLength;    /* next variable offset in the row */
  for (int32_t i = 0; i < ilEntries; i++) {
    const ficdataColumnDesc *pcol = &pdesc->pcolumns[i];
    uint16_t usEntry = obyteGetLE16(pcEntries + 2 * i);
    bool boVariable;
    int32_t ilSize, boNullable;
    fnColumn(i, &ilSize, &boVariable, &boNullable);
    if (ilSize < 0 || ilFixed + ilSize + boNullable > ilFixedLength) {
      omsgsTrace("Compressed record: column %d does not fit a fixed part of %d", i, ilFixedLength);
      return FICDATA_RC_CORRUPT;
    }
    if (usEntry & FICDATA_SPECIAL) {
      if (ilIn + 1 > ilRecordSize) return FICDATA_RC_TRUNCATED;
      unsigned char ucSpecial = pcRecord[ilIn++];
      if (ucSpecial == FICDATA_SPECIAL_NULL && boNullable) {
        ilFixed += ilSize;               /* the value's bytes stay zero */
        pcRow[ilFixed++] = 1;
        continue;
      }
      if (ucSpecial != FICDATA_SPECIAL_DEFAULT) {
        omsgsTrace("Compressed record: special value %d for column %d (nullable %d)", ucSpecial, i,
                   boNullable);
        return FICDATA_RC_CORRUPT;
      }
      if (pcol->sType == FICDATA_T_CHAR || pcol->sType == FICDATA_T_GRAPHIC) {
        std::memset(pcRow + ilFixed, 0x20, ilSize);
      } else {
        int32_t ilDefault = 0;
        const unsigned char *pcDefault = _ficdataGetDefault(pdesc, i, &ilDefault, nullptr);
        if (pcDefault != nullptr) std::memcpy(pcRow + ilFixed, pcDefault, ilSize);
      }
      ilFixed += ilSize;
      if (boNullable) pcRow[ilFixed++] = 0;
      continue;
    }
    if (boVariable) {
      int32_t ilLength = (obyteGetLE16(pcEntries + 2 * (i + 1)) & 0x7FFF) - (usEntry & 0x7FFF);
      if (ilLength < 0) {
        omsgsTrace("Compressed record: column %d has length %d", i, ilLength);
        return FICDATA_RC_CORRUPT;
      }
      if (ilIn + ilLength > ilRecordSize) return FICDATA_RC_TRUNCATED;
      if (ilVar + ilLength > INT16_MAX || FICDATA_REC_HEADER + ilVar + ilLength > ilBufferSize) {
        omsgsTrace("Compressed record: variable data to %d exceeds the buffer", ilVar + ilLength);
        return FICDATA_RC_CORRUPT;
      }
      obytePutLE16(pcRow + ilFixed, static_cast<uint16_t>(ilVar));
      obytePutLE16(pcRow + ilFixed + 2, static_cast<uint16_t>(ilLength));
      _copyValue(pcRow + ilVar, pcRecord + ilIn, ilLength);
      ilIn += ilLength;
      ilVar += ilLength;
    } else {
      if (ilIn + ilSize > ilRecordSize) return FICDATA_RC_TRUNCATED;
      _copyValue(pcRow + ilFixed, pcRecord + ilIn, ilSize);
      ilIn += ilSize;
    }
    ilFixed += ilSize;
    if (boNullable) pcRow[ilFixed++] = 0;
  }
  obytePutLE16(pcBuffer + FICDATA_REC_FIXED, static_cast<uint16_t>(ilFixed));
  *pilLength = FICDATA_REC_HEADER + ilVar;
  return 0;
}

}  // namespace

int ficdataExpandRecord(const ficdataTableDesc *pdesc, int32_t ilFixedLength,
                        const unsigned char *pcRecord, int32_t ilRecordSize,
                        unsigned char *pcBuffer, int32_t ilBufferSize, int32_t *pilLength)
{
  return _expandRecord(pdesc, ilFixedLength, pcRecord, ilRecordSize, pcBuffer, ilBufferSize, pilLength,
                       [pdesc](int32_t i, int32_t *pilSize, bool *pboVariable, int32_t *pboNullable) {
                         const ficdataColumnDesc *pcol = &pdesc->pcolumns[i];
                         *pilSize = _inRecordSize(pcol->sType, pcol->sLength, pboVariable);
                         *pboNullable = pcol->sFlags & 1;
                       });
}

int ficdataExpandPrepared(const ficdataRowCheck *pcheck, const unsigned char *pcRecord, int32_t ilRecordSize,
                          unsigned char *pcBuffer, int32_t ilBufferSize, int32_t *pilLength)
{
  if (pcheck == nullptr || pcheck->pdesc == nullptr) return ORC_INVALID;
  const ficdataTableDesc *pdesc = pcheck->pdesc;
  if (pcheck->iExpandColumns < 0)
    return ficdataExpandRecord(pdesc, pdesc->ilFixedLength, pcRecord, ilRecordSize, pcBuffer, ilBufferSize,
                               pilLength);
  return _expandRecord(pdesc, pdesc->ilFixedLength, pcRecord, ilRecordSize, pcBuffer, ilBufferSize, pilLength,
                       [pcheck](int32_t i, int32_t *pilSize, bool *pboVariable, int32_t *pboNullable) {
                         const auto &col = pcheck->acol[i];
                         *pilSize = col.sSize;
                         *pboVariable = col.ucVariable != 0;
                         *pboNullable = col.ucNullable;
                       });
}

int _ficdataExpandCompressedRecord(const ficdataTableDesc *pdesc, const unsigned char *pcRecord,
                                   int32_t ilRecordSize, unsigned char *pcBuffer,
                                   int32_t ilBufferSize, int32_t *pilLength)
{
  if (pdesc == nullptr) return ORC_INVALID;
  return ficdataExpandRecord(pdesc, pdesc->ilFixedLength, pcRecord, ilRecordSize, pcBuffer,
                             ilBufferSize, pilLength);
}

int ficdataCheckRow(const ficdataTableDesc *pdesc, const unsigned char *pcRecord, int32_t ilLength)
{
  if (pdesc == nullptr || pcRecord == nullptr) return ORC_INVALID;
  if (ilLength < FICDATA_REC_HEADER) return FICDATA_RC_CORRUPT;
  int32_t ilRow = ilLength - FICDATA_REC_HEADER;
  int32_t ilFixed = _getI16(pcRecord + FICDATA_REC_FIXED);
  if (ilFixed < 0 || ilFixed > ilRow) {
    omsgsTrace("Record: fixed part %d in a row of %d bytes", ilFixed, ilRow);
    return FICDATA_RC_CORRUPT;
  }
  const unsigned char *pcRow = pcRecord + FICDATA_REC_HEADER;
  const ficdataColumnDesc *pcolumns = pdesc->pcolumns;
  const int iColumns = pcolumns != nullptr ? pdesc->sColumnCount : 0;
  for (int i = 0; i < iColumns; i++) {
    const ficdataColumnDesc *pcol = &pcolumns[i];
    const int32_t ilOffset = pcol->sOffset;
    if (ilOffset >= ilFixed) continue;
    bool boVariable;
    int32_t ilSize = _inRecordSize(pcol->sType, pcol->sLength, &boVariable);
    int32_t boNullable = pcol->sFlags & 1;
    if (ilOffset + ilSize + boNullable > ilRow) {
      omsgsTrace("Record: column %d at %d runs past a row of %d bytes", i, ilOffset, ilRow);
      return FICDATA_RC_CORRUPT;
    }
    if (!boVariable) continue;
    if (boNullable && pcRow[ilOffset + ilSize] != 0) continue;
    int32_t ilDataOffset = _getI16(pcRow + ilOffset);
    int32_t ilDataLength = _getI16(pcRow + ilOffset + 2);
    if (ilDataLength == 0) continue;
    if (ilDataLength < 0 || ilDataOffset < 0 || ilDataOffset + ilDataLength > ilRow) {
      omsgsTrace("Record: column %d data at %d of %d bytes outside a row of %d bytes", i,
                 ilDataOffset, ilDataLength, ilRow);
      return FICDATA_RC_CORRUPT;
    }
  }
  return 0;
}

void ficdataRowCheckPrepare(const ficdataTableDesc *pdesc, ficdataRowCheck *pcheck)
{
  pcheck->pdesc = pdesc;
  pcheck->ilAllPresent = 0;
  pcheck->ilAllFit = 0;
  pcheck->iVariables = 0;
  const int iColumns = pdesc != nullptr && pdesc->pcolumns != nullptr ? pdesc->sColumnCount : 0;
  pcheck->iExpandColumns = iColumns <= FICDATA_EXPAND_COLUMNS ? iColumns : -1;
  for (int i = 0; i < iColumns; i++) {
    const ficdataColumnDesc *pcol = &pdesc->pcolumns[i];
    bool boVariable;
    int32_t ilSize = _inRecordSize(pcol->sType, pcol->sLength, &boVariable);
    int32_t boNullable = pcol->sFlags & 1;
    if (i < FICDATA_EXPAND_COLUMNS) {
      pcheck->acol[i].sSize = static_cast<int16_t>(std::clamp<int32_t>(ilSize, -1, INT16_MAX));
      pcheck->acol[i].ucVariable = boVariable ? 1 : 0;
      pcheck->acol[i].ucNullable = static_cast<unsigned char>(boNullable);
    }
    if (pcol->sOffset < 0 || ilSize < 0) {
      pcheck->ilAllPresent = INT32_MAX;   /* a column no row can hold: every row takes the full check */
      continue;
    }
    pcheck->ilAllPresent = std::max(pcheck->ilAllPresent, pcol->sOffset + 1);
    pcheck->ilAllFit = std::max(pcheck->ilAllFit, pcol->sOffset + ilSize + boNullable);
    if (!boVariable || pcheck->iVariables < 0) continue;
    if (pcheck->iVariables == FICDATA_CHECK_VARIABLES) {
      pcheck->iVariables = -1;
      continue;
    }
    auto &var = pcheck->avar[pcheck->iVariables++];
    var.sOffset = pcol->sOffset;
    var.sNullOffset = boNullable ? static_cast<int16_t>(pcol->sOffset + ilSize) : -1;
    var.sColumn = static_cast<int16_t>(i);
  }
}

int ficdataCheckRowPrepared(const ficdataRowCheck *pcheck, const unsigned char *pcRecord, int32_t ilLength)
{
  if (pcheck == nullptr || pcheck->pdesc == nullptr || pcRecord == nullptr) return ORC_INVALID;
  if (ilLength < FICDATA_REC_HEADER || pcheck->iVariables < 0) return ficdataCheckRow(pcheck->pdesc, pcRecord, ilLength);
  int32_t ilRow = ilLength - FICDATA_REC_HEADER;
  int32_t ilFixed = _getI16(pcRecord + FICDATA_REC_FIXED);
  /* a row without every column, or too short for them all, takes the column-by-column check */
  if (ilFixed < pcheck->ilAllPresent || ilFixed > ilRow || ilRow < pcheck->ilAllFit)
    return ficdataCheckRow(pcheck->pdesc, pcRecord, ilLength);
  const unsigned char *pcRow = pcRecord + FICDATA_REC_HEADER;
  for (int i = 0; i < pcheck->iVariables; i++) {
    const auto &var = pcheck->avar[i];
    if (var.sNullOffset >= 0 && pcRow[var.sNullOffset] != 0) continue;
    int32_t ilDataOffset = _getI16(pcRow + var.sOffset);
    int32_t ilDataLength = _getI16(pcRow + var.sOffset + 2);
    if (ilDataLength == 0) continue;
    if (ilDataLength < 0 || ilDataOffset < 0 || ilDataOffset + ilDataLength > ilRow) {
      omsgsTrace("Record: column %d data at %d of %d bytes outside a row of %d bytes", var.sColumn,
                 ilDataOffset, ilDataLength, ilRow);
      return FICDATA_RC_CORRUPT;
    }
  }
  return 0;
}

int ficdataSampleKeep(int32_t iOn, int32_t ilSkip, int32_t ilInterval, int32_t *pilCounter,
                      int32_t *pilLastKept)
{
  int32_t ilRecord = (*pilCounter)++;
  if (!iOn) return 1;
  if (ilRecord >= ilSkip && (ilRecord == ilSkip || ilRecord - *pilLastKept >= ilInterval)) {
    *pilLastKept = ilRecord;
    return 1;
  }
  return 0;
}

int _ficdataRecordConcerned(ficdata *pficdata)
{
  if (pficdata == nullptr || pficdata->psampling == nullptr) return 1;
  ficdataSampling *ps = pficdata->psampling;
  return ficdataSampleKeep(ps->iOn, ps->ilSkip, ps->ilInterval, &ps->ilCounter, &ps->ilLastKept);
}

int32_t ficdataLobFileNumber(ficdata *pficdata, int32_t ilFirst)
{
  if (ilFirst >= 0 || pficdata == nullptr) return ilFirst;
  /* no first slot: numbers from the top down, one per such LOB */
  return INT32_MAX - pficdata->ilLobsWithoutSlot++;
}

int ficdataGetLBFileName(ficdata *pficdata, int32_t ilNumber, char *pcTarget, int32_t ilTargetSize,
                         int32_t *pilLength)
{
  if (pficdata == nullptr || pficdata->pcharLobFile == nullptr || ocharIsNotValid(pficdata->pcharLobFile) ||
      pcTarget == nullptr || ilTargetSize <= 0)
    return ORC_INVALID;
  const ochar *pcharFile = pficdata->pcharLobFile;
  char *pcName = toolsFormatFilename(_charText(pcharFile), pcharFile->ilBU, pficdata->ilPart, ilNumber, 0);
  if (pcName == nullptr) return ORC_NOMEM;
  std::string strDir;
  const ochar *pcharDir = pficdata->pcharLobDir;
  if (pcharDir != nullptr && ocharIsNotValid(pcharDir) == 0 && pcharDir->ilBU > 0)
    strDir.assign(_charText(pcharDir), pcharDir->ilBU).append("/");
  int iLength = std::snprintf(pcTarget, ilTargetSize, "%s%s", strDir.c_str(), pcName);
  free(pcName);
  if (iLength < 0 || iLength >= ilTargetSize) {
    omsgsTrace("LOB file name of %d bytes does not fit %d", iLength, ilTargetSize);
    return FICDATA_RC_CORRUPT;
  }
  if (pilLength != nullptr) *pilLength = iLength;
  return 0;
}

/* Appends the long field of the descriptor at pcDesc to the row at *pilRowEnd. */
static int _ficdataLoadLF(const ficdataInfoLong *pinfolong, unsigned char *pcRow, unsigned char *pcDesc,
                          int32_t ilRoom, int32_t *pilRowEnd)
{
  int32_t ilLength = _getI32(pcDesc + FICDATA_LF_LENGTH);
  int32_t ilPosition = _getI32(pcDesc + FICDATA_LF_POSITION);
  if (ilLength < 0 || ilLength > FICDATA_MAX_LONGDATA || ilLength > ilRoom - *pilRowEnd) {
    omsgsTrace("Long field of %d bytes does not fit the record (row end %d, room %d)", ilLength,
               *pilRowEnd, ilRoom);
    return FICDATA_RC_CORRUPT;
  }
  if (!_writeInt(pinfolong->iLFRequest, ilLength) || !_writeInt(pinfolong->iLFRequest, ilPosition) ||
      !_readExact(pinfolong->iLFAnswer, pcRow + *pilRowEnd, ilLength)) {
    omsgsTrace("Long-field child: %d bytes at %d did not arrive", ilLength, ilPosition);
    return FICDATA_RC_PIPE;
  }
  obytePutLE32(pcDesc + FICDATA_LF_POSITION, static_cast<uint32_t>(*pilRowEnd));
  *pilRowEnd += ilLength;
  return 0;
}

/* Appends the LOB (or its file name) of the descriptor at pcDesc to the row;
   *pboCut becomes true when the LOB is cut to FICDATA_MAX_LONGDATA bytes. */
static int _ficdataLoadLOB(ficdata *pficdata, const ficdataInfoLong *pinfolong, unsigned char *pcRow,
                           unsigned char *pcDesc, int32_t ilDescLength, int32_t ilRoom, int32_t *pilRowEnd,
                           bool *pboCut)
{
  int32_t ilRowEnd = *pilRowEnd;
  int32_t ilAppended;    /* value of the descriptor's length field */
  int32_t ilAdvance;     /* bytes the row end moves */
  bool boFile = pficdata->pcharLobFile != nullptr;
  if (boFile) {
    /* the LOB child names the LOB's place (its file, or a location specifier) in its answer */
    ilAppended = 0;
    ilAdvance = 0;
  } else {
    int32_t ilLobLength = _getI32(pcDesc + FICDATA_LOB_LENGTH);
    if (ilLobLength < 0) {
      omsgsTrace("LOB descriptor: length %d", ilLobLength);
      return FICDATA_RC_CORRUPT;
    }
    ilAppended = ilLobLength < FICDATA_MAX_LONGDATA ? ilLobLength : FICDATA_MAX_LONGDATA;
    if (ilLobLength > FICDATA_MAX_LONGDATA) *pboCut = true;   /* the writer counts it */
    if (ilAppended > ilRoom - ilRowEnd) {
      omsgsTrace("LOB of %d bytes does not fit the record (row end %d)", ilAppended, ilRowEnd);
      return FICDATA_RC_CORRUPT;
    }
    ilAdvance = ilAppended;
  }
  if (!_writeInt(pinfolong->iLOBRequest, ilDescLength) ||
      !_writeAll(pinfolong->iLOBRequest, pcDesc, static_cast<size_t>(ilDescLength))) {
    omsgsTrace("LOB child: request could not be written");
    return FICDATA_RC_PIPE;
  }
  if (boFile) {
    /* the text, then two zero bytes: the text's end, and the byte the length counts */
    int32_t ilText = -1;
    if (!_readExact(pinfolong->iLOBAnswer, &ilText, sizeof ilText) || ilText < 0 || ilText > FICDATA_LOB_TEXT_MAX) {
      omsgsTrace("LOB child: no file text (%d)", ilText);
      return FICDATA_RC_PIPE;
    }
    bool boFits = ilText + 2 <= ilRoom - ilRowEnd;
    unsigned char aucText[FICDATA_LOB_TEXT_MAX];
    if (!_readExact(pinfolong->iLOBAnswer, boFits ? pcRow + ilRowEnd : aucText, ilText)) {
      omsgsTrace("LOB child: file text of %d bytes broken", ilText);
      return FICDATA_RC_PIPE;
    }
    if (!boFits) {
      omsgsTrace("LOB file text of %d bytes does not fit the record (row end %d)", ilText, ilRowEnd);
      return FICDATA_RC_CORRUPT;
    }
    pcRow[ilRowEnd + ilText] = 0;
    pcRow[ilRowEnd + ilText + 1] = 0;
    ilAppended = ilText + 1;
    ilAdvance = ilText + 2;
  } else {
    int32_t ilGot = 0;
    while (ilGot < ilAppended) {
      int32_t ilChunk = 0;
      if (!_readExact(pinfolong->iLOBAnswer, &ilChunk, sizeof ilChunk) || ilChunk <= 0 ||
          ilChunk > ilAppended - ilGot ||
          !_readExact(pinfolong->iLOBAnswer, pcRow + ilRowEnd + ilGot, ilChunk)) {
        omsgsTrace("LOB child: answer broken after %d of %d bytes", ilGot, ilAppended);
        return FICDATA_RC_PIPE;
      }
      ilGot += ilChunk;
    }
  }
  obytePutLE32(pcDesc + FICDATA_LOB_DATALEN, static_cast<uint32_t>(ilAppended));
  obytePutLE32(pcDesc + FICDATA_LOB_FIRST, static_cast<uint32_t>(ilRowEnd));
  *pilRowEnd = ilRowEnd + ilAdvance;
  return 0;
}

int ficdataDecodeRecord(const ficdataRowCheck *pcheck, const unsigned char *pcPage, int32_t ilPageSize,
                        int32_t ilOffset, unsigned char *pcBuffer, int32_t ilBufferSize, int32_t *pilLength)
{
  if (pcheck == nullptr || pcPage == nullptr || pcBuffer == nullptr || pilLength == nullptr ||
      ilBufferSize < FICDATA_REC_HEADER)
    return ORC_INVALID;
  int32_t ilRecord;
  int rc = ficdataRecordInPage(pcPage, ilPageSize, ilOffset, &ilRecord);
  if (rc != 0) return rc;
  const unsigned char *pcRecord = pcPage + ilOffset;
  int iFormat = pcRecord[FICDATA_REC_FORMAT];
  int32_t ilLength;
  if (iFormat == FICDATA_FORMAT_COMPRESSED) {
    rc = ficdataExpandPrepared(pcheck, pcRecord, ilRecord, pcBuffer, ilBufferSize, &ilLength);
    if (rc != 0) return rc;
    rc = ficdataCheckRowPrepared(pcheck, pcBuffer, ilLength);
    if (rc != 0) return rc;
  } else if (iFormat == FICDATA_FORMAT_ROW) {
    if (ilRecord > ilBufferSize) return FICDATA_RC_CORRUPT;
    /* checked where it lies in the page, the bytes the copy gets (the
       check does not read the flags byte): reading the copy back at once
       would wait for its stores */
    rc = ficdataCheckRowPrepared(pcheck, pcRecord, ilRecord);
    if (rc != 0) return rc;
    std::memcpy(pcBuffer, pcRecord, ilRecord);
    pcBuffer[FICDATA_UREC_FLAGS] = 0;   /* the stored byte is no flag of ours */
    ilLength = ilRecord;
  } else {
    omsgsTrace("Invalid Record Type: %x at offset %d", iFormat, ilOffset);
    return FICDATA_RC_CORRUPT;
  }
  *pilLength = ilLength;
  return 0;
}

int ficdataWritePairs(ficdata *pficdata, ficdataPair *apair, int32_t iPairCount, const unsigned char *pcRecord,
                      int32_t ilLength, int64_t llObjectPage, int iSlot)
{
  bool boOpen = false;
  for (int32_t i = 0; i < iPairCount && apair != nullptr; i++) {
    if (apair[i].povf == nullptr) continue;
    int iWrite = ovfWrite(apair[i].povf, pcRecord, ilLength);
    if (iWrite == OVF_RC_STOPPED) {
      omsgsTrace("Pair %d stopped by its writer", i);
      apair[i].povf = nullptr;
    } else if (iWrite != 0) {
      /* the record would be lost: the read fails */
      omsgsFMTEDO(ZORU452E, static_cast<int>(ilLength), pficdata->acTable, static_cast<long long>(llObjectPage),
                  iSlot, iWrite);
      if (pficdata->ilReadCode == 0) pficdata->ilReadCode = FICDATA_RC_REFUSED;
      return 0;
    } else {
      boOpen = true;
    }
  }
  return boOpen ? 1 : 0;
}

/* _ficdataReadDB2DataRecord with the description's row check made ready by the caller. */
static int _ficdataReadRecord(ficdata *pficdata, const unsigned char *pcPage, int32_t ilPageSize, int32_t ilOffset,
                              const ficdataTableDesc *pdesc, const ficdataRowCheck *pcheck,
                              const ficdataInfoLong *pinfolong, ficdataPair *apair, int32_t iPairCount,
                              unsigned char *pcBuffer, int32_t ilBufferSize, int32_t *pilLength);

int _ficdataReadDB2DataRecord(ficdata *pficdata, const unsigned char *pcPage, int32_t ilPageSize,
                              int32_t ilOffset, const ficdataTableDesc *pdesc,
                              const ficdataInfoLong *pinfolong, ficdataPair *apair,
                              int32_t iPairCount, unsigned char *pcBuffer, int32_t ilBufferSize,
                              int32_t *pilLength)
{
  ficdataRowCheck check;
  ficdataRowCheckPrepare(pdesc, &check);
  return _ficdataReadRecord(pficdata, pcPage, ilPageSize, ilOffset, pdesc, &check, pinfolong, apair, iPairCount,
                            pcBuffer, ilBufferSize, pilLength);
}

static int _ficdataReadRecord(ficdata *pficdata, const unsigned char *pcPage, int32_t ilPageSize, int32_t ilOffset,
                              const ficdataTableDesc *pdesc, const ficdataRowCheck *pcheck,
                              const ficdataInfoLong *pinfolong, ficdataPair *apair, int32_t iPairCount,
                              unsigned char *pcBuffer, int32_t ilBufferSize, int32_t *pilLength)
{
  if (pcPage == nullptr || pdesc == nullptr || pcBuffer == nullptr || pilLength == nullptr ||
      ilBufferSize < FICDATA_REC_HEADER)
    return ORC_INVALID;
  int32_t ilLength;
  int rc = ficdataDecodeRecord(pcheck, pcPage, ilPageSize, ilOffset, pcBuffer, ilBufferSize, &ilLength);
  if (rc != 0) return rc;

  for (int32_t i = 0; i < iPairCount && apair != nullptr; i++) {
    ficdataPair *ppair = &apair[i];
    if (ppair->povf == nullptr || ppair->pnodeWhere == nullptr || ppair->pctxWhere == nullptr) continue;
    zornodeEvalSetRecord(ppair->pctxWhere, reinterpret_cast<const char *>(pcBuffer), ilLength);
    if (zornodeEvalBool(ppair->pctxWhere, ppair->pnodeWhere) != 1) return 1;
  }

  if (pdesc->ucLongField || pdesc->ucLob) {
    unsigned char *pcRow = pcBuffer + FICDATA_REC_HEADER;
    int32_t ilRoom = ilBufferSize - FICDATA_REC_HEADER;
    int32_t ilRowEnd = ilLength - FICDATA_REC_HEADER;
    int32_t ilRow = ilRowEnd;   /* descriptors lie in the row as read */
    int32_t ilFixed = _getI16(pcBuffer + FICDATA_REC_FIXED);
    int32_t iLongFlags = pficdata != nullptr ? pficdata->iLongFlags : 0;
    bool boCut = false;
    for (int i = 0; i < pdesc->sColumnCount; i++) {
      const ficdataColumnDesc *pcol = &pdesc->pcolumns[i];
      if (!pcol->sUsed || pcol->sOffset >= ilFixed) continue;
      bool boLF = _isLongFieldType(pcol->sType) && (iLongFlags & FICDATA_LONG_LF);
      bool boLOB = _isLobType(pcol->sType) && (iLongFlags & FICDATA_LONG_LOB);
      if (!boLF && !boLOB) continue;
      if ((pcol->sFlags & 1) && pcRow[pcol->sOffset + 4] != 0) continue;
      if (pinfolong == nullptr) return ORC_INVALID;
      int32_t ilDesc = _getI16(pcRow + pcol->sOffset);
      int32_t ilDescLength = _getI16(pcRow + pcol->sOffset + 2);
      int32_t ilNeed = boLF ? FICDATA_LF_SIZE : FICDATA_LOB_SIZE;
      if (ilDesc < 0 || ilDescLength < ilNeed || ilDesc + ilDescLength > ilRow) {
        omsgsTrace("Column %d: descriptor at %d of %d bytes unusable", i, ilDesc, ilDescLength);
        return FICDATA_RC_CORRUPT;
      }
      rc = boLF ? _ficdataLoadLF(pinfolong, pcRow, pcRow + ilDesc, ilRoom, &ilRowEnd)
                : _ficdataLoadLOB(pficdata, pinfolong, pcRow, pcRow + ilDesc, ilDescLength, ilRoom, &ilRowEnd,
                                  &boCut);
      if (rc != 0) return rc;
    }
    if (boCut) pcBuffer[FICDATA_UREC_FLAGS] = FICDATA_UREC_CUT;
    ilLength = ilRowEnd + FICDATA_REC_HEADER;
  }
  *pilLength = ilLength;
  return 0;
}

void ficdataSkipDamaged(const char *pcTable, int64_t *pllCount, int64_t llPage, int iSlot, int iReason)
{
  const char *pc = pcTable != nullptr && pcTable[0] != '\0' ? pcTable : "?";
  if (iSlot < 0)
    omsgsFMTEDO(ZORU451W, pc, static_cast<long long>(llPage), iReason);
  else
    omsgsFMTEDO(ZORU454W, pc, static_cast<long long>(llPage), iSlot, iReason);
  if (pllCount != nullptr) (*pllCount)++;
}

/* ------------------------------------------------------ reader state */

namespace {

/* The task's atom of that token, climbing to the defaults; NULL when none. */
zoratom *_atom(zortask *ptask, int iToken)
{
  const char *pcName = gapnameTotalToken[iToken];
  return pcName != nullptr ? zortaskDetermineAtom(ptask, pcName) : nullptr;
}

int64_t _atomInteger(zortask *ptask, int iToken, int64_t llDefault)
{
  zoratom *patom = _atom(ptask, iToken);
  if (patom == nullptr) return llDefault;
  if (patom->iKind == ZORATOM_LONGLONG)
    return static_cast<int64_t>((static_cast<uint64_t>(patom->value2.ulLow) << 32) | patom->value.ulLow);
  return patom->value.iValue;
}

/* The referenced object of each node of a reference list, in order. */
template <typename Fn>
void _forEachRef(olist *plist, Fn fn)
{
  if (plist == nullptr) return;
  for (void *pitem = plist->pitemTop; pitem != nullptr; pitem = static_cast<olistItem *>(pitem)->pitemNext)
    if (!fn(static_cast<olistRef *>(pitem)->pData)) return;
}

/* A name for a descriptor in messages: the file it is open on, else the number. */
std::string _fdName(int iFd, int32_t ilRemote)
{
  char acLink[64];
  if (!ilRemote) {
    std::snprintf(acLink, sizeof acLink, "/proc/self/fd/%d", iFd);
    char acPath[1024];
    ssize_t l = readlink(acLink, acPath, sizeof acPath - 1);
    if (l > 0) return std::string(acPath, static_cast<size_t>(l));
  }
  std::snprintf(acLink, sizeof acLink, ilRemote ? "remote file %d" : "descriptor %d", iFd);
  return acLink;
}

/*
** Reads physical page ilPhysical of descriptor iFd into pcPage and restores
** its torn-page bits.  A read that fails or ends early issues ZORU347E,
** records FICDATA_RC_READ in the state and returns it.
*/
int _readPage(ficdata *pficdata, int iFd, const ficdataInfoTable *pinfo, int32_t ilPhysical, unsigned char *pcPage)
{
  int32_t ilSize = pficdata->ilPageSize;
  int32_t ilGot = 0;
  std::string strWhy;
  if (iFd < 0 || ilPhysical < 0) {
    strWhy = "container not open";
  } else if (pinfo->ilRemote) {
    char *pcError = nullptr;
    ilGot = iSOCKETreadFile(iFd, ilPhysical, ilSize, pcPage, &pcError);
    if (ilGot != ilSize) strWhy = pcError != nullptr ? pcError : "remote read failed";
  } else {
    off_t llAt = static_cast<off_t>(ilPhysical) * ilSize + static_cast<off_t>(pinfo->llOffset);
    if (lseek(iFd, llAt, SEEK_SET) != llAt) {
      strWhy = toolsGetError();
    } else {
      while (ilGot < ilSize) {
        ssize_t l = read(iFd, pcPage + ilGot, static_cast<size_t>(ilSize - ilGot));
        if (l < 0 && errno == EINTR) continue;
        if (l < 0) strWhy = toolsGetError();
        if (l <= 0) break;
        ilGot += static_cast<int32_t>(l);
      }
    }
  }
  if (ilGot == ilSize && strWhy.empty()) {
    ficdb2RestaureBits(pcPage, ilSize, pcPage + FICDATA_PAGE_TORN0);
    return 0;
  }
  if (strWhy.empty()) {
    char ac[96];
    std::snprintf(ac, sizeof ac, "page %d: %d of %d bytes", ilPhysical, ilGot < 0 ? 0 : ilGot, ilSize);
    strWhy = ac;
  }
  omsgsTrace("Page %d of descriptor %d not read: %s", ilPhysical, iFd, strWhy.c_str());
  omsgsFMTEDO(ZORU347E, _fdName(iFd, pinfo->ilRemote).c_str(), strWhy.c_str());
  if (pficdata->ilReadCode == 0) pficdata->ilReadCode = FICDATA_RC_READ;
  return FICDATA_RC_READ;
}

/*
** The window of descriptor iFd that holds the page at file offset llAt
** whole, filling one (the descriptor's own, else the least recently used)
** with a read from llAt when none does.  NULL when the read does not give
** the page whole (the caller then reads the page by itself) or memory runs
** out.
*/
ficdataAhead *_aheadWindow(ficdata *pficdata, int iFd, int64_t llAt, int32_t ilSize)
{
  ficdataAhead *pfound = nullptr;
  ficdataAhead *pvictim = &pficdata->aahead[0];
  for (ficdataAhead &ahead : pficdata->aahead) {
    if (ahead.puc != nullptr && ahead.iFd == iFd) {
      pfound = &ahead;
      break;
    }
    if (ahead.puc == nullptr || ahead.ulUsed < pvictim->ulUsed) pvictim = &ahead;
  }
  ficdataAhead *pahead = pfound != nullptr ? pfound : pvictim;
  pahead->ulUsed = ++pficdata->ulAheadClock;
  if (pfound != nullptr && llAt >= pfound->llAt && llAt - pfound->llAt + ilSize <= pfound->ilBytes) return pfound;

  if (pahead->puc == nullptr) {
    pahead->puc = static_cast<unsigned char *>(malloc(FICDATA_AHEAD_BYTES));
    pahead->pucRestored = static_cast<unsigned char *>(malloc(FICDATA_AHEAD_BYTES / FICDATA_SECTOR));
    if (pahead->puc == nullptr || pahead->pucRestored == nullptr) {
      free(pahead->puc);
      free(pahead->pucRestored);
      pahead->puc = pahead->pucRestored = nullptr;
      return nullptr;
    }
  }
  pahead->iFd = iFd;
  pahead->llAt = llAt;
  pahead->ilBytes = 0;
  int32_t ilGot = 0;
  while (ilGot < FICDATA_AHEAD_BYTES) {
    ssize_t l = pread(iFd, pahead->puc + ilGot, static_cast<size_t>(FICDATA_AHEAD_BYTES - ilGot), llAt + ilGot);
    if (l < 0 && errno == EINTR) continue;
    if (l <= 0) break;
    ilGot += static_cast<int32_t>(l);
  }
  memset(pahead->pucRestored, 0, FICDATA_AHEAD_BYTES / FICDATA_SECTOR);
  if (ilGot < ilSize) {
    pahead->iFd = -1;   /* the page-by-page read reports what is wrong */
    return nullptr;
  }
  pahead->ilBytes = ilGot;
  return pahead;
}

/*
** Physical page ilPhysical of descriptor iFd, torn-page bits restored:
** *ppcPage points at it in a read-ahead window, or at the page buffer
** pcPage when the descriptor is remote or the window cannot hold it.
** Returns 0, or FICDATA_RC_READ as _readPage.
*/
int _readDataPage(ficdata *pficdata, int iFd, const ficdataInfoTable *pinfo, int32_t ilPhysical,
                  unsigned char *pcPage, unsigned char **ppcPage)
{
  *ppcPage = pcPage;
  int32_t ilSize = pficdata->ilPageSize;
  if (iFd < 0 || ilPhysical < 0 || pinfo->ilRemote || ilSize > FICDATA_AHEAD_BYTES)
    return _readPage(pficdata, iFd, pinfo, ilPhysical, pcPage);
  int64_t llAt = static_cast<int64_t>(ilPhysical) * ilSize + pinfo->llOffset;
  ficdataAhead *pahead = _aheadWindow(pficdata, iFd, llAt, ilSize);
  if (pahead == nullptr) return _readPage(pficdata, iFd, pinfo, ilPhysical, pcPage);
  int64_t llInWindow = llAt - pahead->llAt;
  unsigned char *puc = pahead->puc + llInWindow;
  /* a page restored twice would take its saved bits from the restored page */
  unsigned char &ucRestored = pahead->pucRestored[llInWindow / FICDATA_SECTOR];
  if (!ucRestored) {
    ficdb2RestaureBits(puc, ilSize, puc + FICDATA_PAGE_TORN0);
    ucRestored = 1;
  }
  *ppcPage = puc;
  return 0;
}

/* Page offset and usable length of the record in slot iSlot; false when it has none. */
bool _slotRecord(const unsigned char *pcPage, int32_t ilPageSize, const ficdataSlots *pslots, int iSlot,
                 int32_t *pilOffset, int32_t *pilLength)
{
  if (iSlot < 0 || iSlot >= pslots->ilCount || pslots->aiKind[iSlot] < 0) return false;
  *pilOffset = pslots->ailOffset[iSlot];
  return ficdataRecordInPage(pcPage, ilPageSize, *pilOffset, pilLength) == 0;
}

}  // namespace

ficdata *ficdataCreate(int32_t ilPageSize, int32_t ilPart, zortask *ptask, int32_t iLongFlags)
{
  if (!ficdataIsPageSize(ilPageSize)) return nullptr;
  auto *pficdata = static_cast<ficdata *>(calloc(1, sizeof(ficdata)));
  if (pficdata == nullptr) return nullptr;
  pficdata->ilPageSize = ilPageSize;
  pficdata->ilPart = ilPart;
  pficdata->ilDescPage = -1;
  pficdata->iDescSlot = -1;
  pficdata->ptask = ptask;
  pficdata->iLongFlags = iLongFlags;
  pficdata->apcPage[0] = static_cast<unsigned char *>(calloc(1, static_cast<size_t>(ilPageSize)));
  pficdata->apcPage[1] = static_cast<unsigned char *>(calloc(1, static_cast<size_t>(ilPageSize)));
  if (pficdata->apcPage[0] == nullptr || pficdata->apcPage[1] == nullptr) {
    ficdataDestroy(pficdata);
    return nullptr;
  }
  if (ptask == nullptr) return pficdata;

  auto *ps = static_cast<ficdataSampling *>(calloc(1, sizeof(ficdataSampling)));
  if (ps == nullptr) {
    ficdataDestroy(pficdata);
    return nullptr;
  }
  ps->ilSkip = static_cast<int32_t>(_atomInteger(ptask, TOKEN_SKIP, 0));
  ps->ilInterval = static_cast<int32_t>(_atomInteger(ptask, TOKEN_INTERVAL, 0));
  ps->llMaxRows = _atomInteger(ptask, TOKEN_MAXROWS, -1);
  ps->iOn = ps->ilSkip > 0 || ps->ilInterval > 0;
  pficdata->psampling = ps;

  /* LOB IN: the first directory for this partition; an empty set stands for every partition */
  zoratom *patom = _atom(ptask, TOKEN_LOB);
  if (patom != nullptr && patom->iKind == ZORATOM_OLIST) {
    _forEachRef(patom->value.plist, [&](void *p) {
      auto *plob = static_cast<udbLobPath *>(p);
      if (plob == nullptr || plob->pcharPath == nullptr) return true;
      if (plob->pobfPart == nullptr || obfIsEmpty(plob->pobfPart) ||
          (ilPart >= 0 && obfGet(plob->pobfPart, static_cast<uint32_t>(ilPart)))) {
        pficdata->pcharLobDir = plob->pcharPath;
        return false;
      }
      return true;
    });
  }
  patom = _atom(ptask, TOKEN_LOBFILE);
  if (patom != nullptr && patom->iKind == ZORATOM_OLIST) {
    _forEachRef(patom->value.plist, [&](void *p) {
      pficdata->pcharLobFile = static_cast<ochar *>(p);
      return false;
    });
  }
  omsgsTrace("Reader state: part %d, page size %d, SKIP %d, INTERVAL %d, MAXROWS %lld", ilPart, ilPageSize,
             ps->ilSkip, ps->ilInterval, static_cast<long long>(ps->llMaxRows));
  return pficdata;
}

void ficdataDestroy(ficdata *pficdata)
{
  if (pficdata == nullptr) return;
  free(pficdata->apcPage[0]);
  free(pficdata->apcPage[1]);
  free(pficdata->psampling);
  for (ficdataAhead &ahead : pficdata->aahead) {
    free(ahead.puc);
    free(ahead.pucRestored);
  }
  free(pficdata);
}

int ficdataInitInfoTable(const ficcont *pficcont, int32_t ilTableId, int32_t ilTbsId, uint32_t ulOffsetLow,
                         uint32_t ulOffsetHigh, ficdataInfoTable *pinfo)
{
  if (pficcont == nullptr || pinfo == nullptr) return ORC_INVALID;
  return ficdataInitInfoTableBackup(nullptr, ilTbsId, ilTableId, pficcont->ilRemote, pficcont->ilPart,
                                    pficcont->ilPageSize, ulOffsetLow, ulOffsetHigh, pinfo);
}

int ficdataInitInfoTableBackup(void *pUnused, int32_t ilTbsId, int32_t ilTableId, int32_t ilRemote,
                               int32_t ilPart, int32_t ilPageSize, uint32_t ulOffsetLow, uint32_t ulOffsetHigh,
                               ficdataInfoTable *pinfo)
{
  (void)pUnused;
  if (pinfo == nullptr) return ORC_INVALID;
  *pinfo = ficdataInfoTable{};
  pinfo->ilTbsId = ilTbsId;
  pinfo->ilTableId = ilTableId;
  pinfo->ilPart = ilPart;
  pinfo->ilRemote = ilRemote;
  pinfo->ilPageSize = ilPageSize;
  pinfo->llOffset = static_cast<int64_t>((static_cast<uint64_t>(ulOffsetHigh) << 32) | ulOffsetLow);
  pinfo->llExpectedPage = -1;
  return 0;
}

int ficdataInitInfoLong(ficdata *pficdata, int iLFRequest, int iLFAnswer, int iLOBRequest, int iLOBAnswer,
                        ficdataInfoLong *pinfolong)
{
  (void)pficdata;
  if (pinfolong == nullptr) return ORC_INVALID;
  pinfolong->iLFRequest = iLFRequest;
  pinfolong->iLFAnswer = iLFAnswer;
  pinfolong->iLOBRequest = iLOBRequest;
  pinfolong->iLOBAnswer = iLOBAnswer;
  return 0;
}

int ficdataGetEnreg(ficdata *pficdata, const int *piFd, void *pUnused, int iSlot, ficdataInfoTable *pinfo,
                    ficdataTableDesc *pdesc, int32_t *pilPages, ficdataTableDir *ptdir, int boSkipHeader,
                    int iBuffer, ficdataMapPage pfnMap)
{
  (void)pUnused;
  if (pficdata == nullptr || piFd == nullptr || pinfo == nullptr || pdesc == nullptr || iBuffer < 0 ||
      iBuffer > 1)
    return 0;
  const int32_t ilSize = pficdata->ilPageSize;
  ficdataSlots slots;
  for (int iHop = 0; iHop <= FICDATA_MAX_POINTERS; iHop++) {
    int32_t ilCont = 0;
    int32_t ilPhysical = pinfo->ilLogicalPage;
    if (pfnMap != nullptr) ilPhysical = pfnMap(pficdata->pConf, pinfo->ilTableId, pinfo->ilLogicalPage, &ilCont);
    if (ilPhysical < 0 || ilCont < 0) {
      omsgsTrace("Page %d of table %d has no mapping", pinfo->ilLogicalPage, pinfo->ilTableId);
      return 0;
    }
    pinfo->ilPhysicalPage = ilPhysical;
    unsigned char *pcPage = pficdata->apcPage[iBuffer];
    if (_readPage(pficdata, piFd[ilCont], pinfo, ilPhysical, pcPage) != 0) return 0;
    int rc = ficdataReadSlots(pcPage, ilSize, &slots);
    if (rc != 0 && slots.ilCount == 0) {
      omsgsTrace("First page %d: slot directory unreadable (0x%x)", pinfo->ilLogicalPage, rc);
      return 0;
    }
    int32_t ilOffset, ilLength;
    if (!boSkipHeader && pinfo->ilObjectPage == 0) {
      if (_slotRecord(pcPage, ilSize, &slots, FICDATA_SLOT_HEADER, &ilOffset, &ilLength) && ilLength >= 8) {
        uint32_t ulPages = obyteGetLE32(pcPage + ilOffset + 4);
        omsgsTrace("Pages in table = %ld", static_cast<long>(ulPages));
        if (pilPages != nullptr) *pilPages = static_cast<int32_t>(ulPages);
      }
      if (ptdir != nullptr && _slotRecord(pcPage, ilSize, &slots, FICDATA_SLOT_TDIR, &ilOffset, &ilLength) &&
          ilLength >= 12) {
        ptdir->sWord6 = _getI16(pcPage + ilOffset + 6);
        ptdir->ulWord8 = obyteGetLE32(pcPage + ilOffset + 8);
      }
    }
    if (!_slotRecord(pcPage, ilSize, &slots, iSlot, &ilOffset, &ilLength)) {
      omsgsTrace("First page %d: no record in slot %d", pinfo->ilLogicalPage, iSlot);
      return 0;
    }
    int iKind = slots.aiKind[iSlot];
    if (iKind == FICDATA_KIND_POINTER) {
      uint32_t ulTarget = obyteGetLE32(pcPage + ilOffset + FICDATA_REC_POINTER);
      omsgsTrace("Descriptor pointer to page %u slot %u", ulTarget >> 8, ulTarget & 0xFF);
      pinfo->ilLogicalPage = static_cast<int32_t>(ulTarget >> 8);
      pinfo->ilObjectPage = -1;
      iSlot = static_cast<int>(ulTarget & 0xFF);
      iBuffer = 1 - iBuffer;
      continue;
    }
    if (iKind != FICDATA_KIND_NORMAL && iKind != FICDATA_KIND_OVERFLOW) {
      omsgsTrace("Descriptor slot %d holds a record of kind %d", iSlot, iKind);
      return 0;
    }
    rc = _ficdataReadTableDescriptorRecord(pficdata, pcPage, ilSize, ilOffset, pdesc);
    if (rc != 0) omsgsTrace("Table descriptor unusable (0x%x)", rc);
    return rc == 0 ? 1 : 0;
  }
  omsgsTrace("Descriptor pointers do not end after %d", FICDATA_MAX_POINTERS);
  return 0;
}

int ficdataGetDB2Enregs(ficdata *pficdata, int iFd, const ficdataInfoLong *pinfolong, ficdataInfoTable *pinfo,
                        const ficdataTableDesc *pdesc, ficdataSlots *pslots, int iBuffer, unsigned char *pcBuffer,
                        int32_t ilBufferSize, ficdataPair *apair, int32_t iPairCount)
{
  if (pficdata == nullptr || pinfo == nullptr || pdesc == nullptr || pslots == nullptr || pcBuffer == nullptr ||
      iBuffer < 0 || iBuffer > 1)
    return 0;
  const int32_t ilSize = pficdata->ilPageSize;
  unsigned char *pcPage = nullptr;
  if (_readDataPage(pficdata, iFd, pinfo, pinfo->ilPhysicalPage, pficdata->apcPage[iBuffer], &pcPage) != 0) return 0;
  int64_t llObjectPage = 0;
  if (!ficdataCheckPage(pficdata->acTable, &pficdata->llDamaged, pcPage, ilSize, pinfo->llExpectedPage, pslots,
                        &llObjectPage))
    return 1;
  if (llObjectPage == 0) {
    /* the descriptor a pointer of slot 3 names is met again among the pages */
    uint32_t ulPage = 0;
    int iSlot = -1;
    pficdata->ilDescPage = ficdataDescriptorTarget(pcPage, ilSize, &ulPage, &iSlot) ? static_cast<int32_t>(ulPage) : -1;
    pficdata->iDescSlot = iSlot;
  }
  bool boDescPage = pficdata->ilDescPage >= 0 && pficdata->ilDescPage == pinfo->ilLogicalPage;
  int rc = 0;
  int iFirst = ficdataFirstDataSlot(llObjectPage);
  ficdataRowCheck check;
  ficdataRowCheckPrepare(pdesc, &check);
  for (int s = iFirst; s < pslots->ilCount; s++) {
    if (boDescPage && s == pficdata->iDescSlot) continue;
    int iKind = pslots->aiKind[s];
    if (iKind == FICDATA_KIND_DAMAGED) {
      ficdataSkipDamaged(pficdata->acTable, &pficdata->llDamaged, llObjectPage, s, FICDATA_RC_CORRUPT);
      continue;
    }
    if (iKind != FICDATA_KIND_NORMAL && iKind != FICDATA_KIND_OVERFLOW) continue;
    if (!_ficdataRecordConcerned(pficdata)) continue;
    int32_t ilLength = 0;
    rc = _ficdataReadRecord(pficdata, pcPage, ilSize, pslots->ailOffset[s], pdesc, &check, pinfolong, apair,
                            iPairCount, pcBuffer, ilBufferSize, &ilLength);
    if (rc == 1) continue;
    if (rc == FICDATA_RC_PIPE || rc == ORC_INVALID) {
      omsgsTrace("Page %d slot %d: long data not loaded (0x%x), reading stops", pinfo->ilPhysicalPage, s, rc);
      return 0;
    }
    if (rc != 0) {
      ficdataSkipDamaged(pficdata->acTable, &pficdata->llDamaged, llObjectPage, s, rc);
      continue;
    }
    if (ficdataWritePairs(pficdata, apair, iPairCount, pcBuffer, ilLength, llObjectPage, s) == 0) return 0;
  }
  return 1;
}
