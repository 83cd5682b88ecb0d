/*
** ucoretest.h
**   Helpers of the DEL converter tests: a record in unload form (8-byte
**   header with the fixed-part length, then the row data), core data as the
**   control step fills it, and one conversion of a record through columns
**   whose converters are looked up in the conversion table by their keys.
**   Record and output buffers are heap blocks of their exact size, so that
**   any read or write past them is caught by AddressSanitizer.
*/
#ifndef ZAV_TESTS_RUN_UCORETEST_H
#define ZAV_TESTS_RUN_UCORETEST_H

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <algorithm>
#include <vector>

#include "common/obyte.h"
#include "common/ochar.h"
#include "model/oconvert.h"
#include "model/orow.h"
#include "run/zorucore.h"

/* Record data bytes, with little-endian helpers for slots and descriptors. */
struct ucoreBytes {
  std::vector<unsigned char> v;
  explicit ucoreBytes(size_t ulSize = 0) : v(ulSize, 0) {}
  ucoreBytes &put(size_t ulAt, const std::string &str)
  {
    grow(ulAt + str.size());
    std::memcpy(v.data() + ulAt, str.data(), str.size());
    return *this;
  }
  ucoreBytes &put(size_t ulAt, std::initializer_list<unsigned char> l)
  {
    grow(ulAt + l.size());
    std::copy(l.begin(), l.end(), v.begin() + static_cast<long>(ulAt));
    return *this;
  }
  ucoreBytes &le16(size_t ulAt, uint16_t us) { grow(ulAt + 2); obytePutLE16(v.data() + ulAt, us); return *this; }
  ucoreBytes &le32(size_t ulAt, uint32_t ul) { grow(ulAt + 4); obytePutLE32(v.data() + ulAt, ul); return *this; }
  ucoreBytes &le64(size_t ulAt, uint64_t ul) { grow(ulAt + 8); obytePutLE64(v.data() + ulAt, ul); return *this; }
  void grow(size_t ulSize) { if (v.size() < ulSize) v.resize(ulSize, 0); }
};

/* A whole record: header (format 1, fixed-part length) and the data. */
inline std::vector<unsigned char> ucoreRecord(int16_t sFixed, const ucoreBytes &data)
{
  /* made at its whole size: GCC 12 at -O2 misreads a reallocating range insert */
  std::vector<unsigned char> v(8 + data.v.size(), 0);
  v[4] = 1;
  obytePutLE16(v.data() + 6, static_cast<uint16_t>(sFixed));
  std::copy(data.v.begin(), data.v.end(), v.begin() + 8);
  return v;
}

/* Core data records made for a test, freed with it. */
struct ucoreCores {
  std::vector<zorucoreData *> v;
  ~ucoreCores()
  {
    for (zorucoreData *p : v) {
      zorucoreDataDestroy(p);
      std::free(p);
    }
  }
  /* flags, separator ","; delimiter '"'; decimal point "." unless given */
  zorucoreData *make(uint32_t ulFlags, const char *pcSep = ",", char cDelim = '"', const char *pcPoint = ".")
  {
    zorucoreData *p = zorucoreDataCreate();
    p->ulFlags = ulFlags;
    ocharInitFromFixed(&p->charSep, pcSep, static_cast<int32_t>(std::strlen(pcSep)), 850);
    p->cDelim = cDelim;
    ocharInitFromFixed(&p->charDelim, &cDelim, 1, 850);
    ocharInitFromFixed(&p->charDecimal, pcPoint, static_cast<int32_t>(std::strlen(pcPoint)), 850);
    ocharInitFromFixed(&p->charSignPlus, "+", 1, 850);
    v.push_back(p);
    return p;
  }
  /* the record end: constant text, no flags */
  zorucoreData *end(const char *pcText = "\n")
  {
    zorucoreData *p = zorucoreDataCreate();
    p->pcharConstant = ocharCreate(8, 850);
    ocharAppendFixed(p->pcharConstant, pcText, static_cast<int32_t>(std::strlen(pcText)));
    v.push_back(p);
    return p;
  }
};

/* Gives a core its null/default text (allocated as the control step does). */
inline void ucoreSetDefault(zorucoreData *p, const std::string &str)
{
  std::free(p->pcDefault);
  p->pcDefault = static_cast<char *>(std::calloc(3 * str.size() + 9, 1));
  std::memcpy(p->pcDefault, str.data(), str.size());
  p->sDefaultLength = static_cast<int16_t>(str.size());
}

/* One output column: source and target keys, source subtype and offset, core data. */
struct ucoreCol {
  uint16_t      usSource;
  uint16_t      usTarget;
  int32_t       iLength;
  int16_t       sOffset;
  zorucoreData *pcore;
};

/* The record-end column. */
inline ucoreCol ucoreEndCol(zorucoreData *pcore) { return {0x004E, 0xB000, 0, 0, pcore}; }

/*
** The converter of the columns: a source row of stored values at their
** offsets, a target row of the columns' output types with their core data;
** both rows are owned by the converter.  Returns it, or nullptr with
** oconvertCreate's code in *piRc.
*/
inline oconvert *ucoreMakeConverter(const std::vector<ucoreCol> &vcol, int *piRc)
{
  int32_t iCount = static_cast<int32_t>(vcol.size());
  orow *prowSource = orowCreate(iCount);
  orow *prowTarget = orowCreate(iCount);
  for (const ucoreCol &col : vcol) {
    rowColDef defSource{};
    defSource.iType = col.usSource;
    defSource.iLength = col.iLength;
    defSource.sOffset = col.sOffset;
    defSource.sNullOffset = -1;
    orowAddColumn(prowSource, &defSource);
    rowColDef defTarget{};
    defTarget.iType = col.usTarget;
    defTarget.iLength = col.iLength;
    defTarget.sOffset = -1;
    defTarget.sNullOffset = -1;
    defTarget.pExtra = col.pcore;
    orowAddColumn(prowTarget, &defTarget);
  }
  oconvertInitModule();
  zorucoreInitModule();
  *piRc = 0;
  return oconvertCreate(prowSource, prowTarget, OCONVERT_OWN_SOURCE | OCONVERT_OWN_TARGET, piRc);
}

/*
** Converts the record through the columns with an output buffer of
** ulCapacity bytes.  Returns the conversion's code (or oconvertCreate's
** code when no converter could be made); *pstrText gets the bytes from the
** buffer start to the cursor.
*/
inline int ucoreConvert(const std::vector<ucoreCol> &vcol, const std::vector<unsigned char> &vRecord,
                        std::string *pstrText, size_t ulCapacity = 4096)
{
  int iRc = 0;
  oconvert *pconvert = ucoreMakeConverter(vcol, &iRc);
  if (pconvert == nullptr) return iRc;
  orow *prowSource = pconvert->prowSource;
  orow *prowTarget = pconvert->prowTarget;

  std::unique_ptr<unsigned char[]> pucRecord(new unsigned char[vRecord.size()]);
  std::memcpy(pucRecord.get(), vRecord.data(), vRecord.size());
  std::unique_ptr<char[]> pcOut(new char[ulCapacity]);
  std::memset(pcOut.get(), '#', ulCapacity);
  orowSetBuffer(prowSource, pucRecord.get(), static_cast<int32_t>(vRecord.size()), 0);
  orowSetBuffer(prowTarget, pcOut.get(), static_cast<int32_t>(ulCapacity), 0);
  orowResetBuffer(prowSource, 0);
  orowResetBuffer(prowTarget, 0);
  iRc = oconvertConvert(pconvert);
  pstrText->assign(prowTarget->pcStart, static_cast<size_t>(prowTarget->pcCursor - prowTarget->pcStart));
  oconvertDestroy(pconvert);
  return iRc;
}

/* The text of one column followed by the record end "\n" (code checked by the caller). */
inline std::string ucoreOne(ucoreCores &cores, const ucoreCol &col, const std::vector<unsigned char> &vRecord,
                            int *piRc = nullptr, size_t ulCapacity = 4096)
{
  std::string str;
  int iRc = ucoreConvert({col, ucoreEndCol(cores.end())}, vRecord, &str, ulCapacity);
  if (piRc != nullptr) *piRc = iRc;
  return str;
}

#endif
