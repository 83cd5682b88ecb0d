/*
** db2pages.h
**   Writer of DB2 data pages and records, for tests and for the sample
**   instance's container files: a table's columns and rows of values become
**   the table descriptor record, plain (format 1) and value-compressed
**   (format 2) data records, pointer records and the data-file header, and
**   records are placed into pages of 4, 8, 16 or 32 KB with their slot
**   directory.  Layouts are those read by storage/ficdata.h.  Header only;
**   values are little-endian bytes as DB2 stores them.
*/
#ifndef ZAV_TOOLS_DB2PAGES_H
#define ZAV_TOOLS_DB2PAGES_H

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace db2pages {

using Bytes = std::vector<unsigned char>;

/* One column: stored type code, descriptor length (DECIMAL: precision, scale). */
struct Column {
  int16_t sType;
  int16_t sLength;
  bool boNullable;
  int iScale = 0;   /* DECIMAL only */
};

/* One value: NULL, the column default (compressed records only) or bytes. */
struct Value {
  enum Kind { BYTES, NUL, DEFAULT, SPECIAL } kind = BYTES;
  Bytes bytes;
  unsigned char ucSpecial = 0;   /* SPECIAL: the raw special byte */
};

inline Value val(const Bytes &b) { return Value{Value::BYTES, b, 0}; }
inline Value val(const std::string &s) { return Value{Value::BYTES, Bytes(s.begin(), s.end()), 0}; }
inline Value null() { return Value{Value::NUL, {}, 0}; }
inline Value dflt() { return Value{Value::DEFAULT, {}, 0}; }
inline Value special(unsigned char uc) { return Value{Value::SPECIAL, {}, uc}; }

inline void putLE16(Bytes &b, size_t at, uint16_t v)
{
  b[at] = static_cast<unsigned char>(v);
  b[at + 1] = static_cast<unsigned char>(v >> 8);
}
inline void putLE32(Bytes &b, size_t at, uint32_t v)
{
  for (int i = 0; i < 4; i++) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}
inline Bytes le16(uint16_t v) { Bytes b(2); putLE16(b, 0, v); return b; }
inline Bytes le32(uint32_t v) { Bytes b(4); putLE32(b, 0, v); return b; }

inline bool isVariable(int16_t sType)
{
  return sType == 257 || sType == 260 || sType == 264 || sType == 265 || sType == 513 || sType == 514 ||
         sType == 515;
}

/* In-record size of a column. */
inline int inRecordSize(const Column &c)
{
  switch (c.sType) {
    case 0: return 2;
    case 1: return 4;
    case 2: return c.sLength / 2 + 1;
    case 261: return 4;
    case 262: return 3;
    case 263: return 10;
    default: return isVariable(c.sType) ? 4 : c.sLength;
  }
}

/* Record offset of each column in the fixed part, in column order. */
inline std::vector<int> offsets(const std::vector<Column> &cols)
{
  std::vector<int> v;
  int o = 0;
  for (const auto &c : cols) {
    v.push_back(o);
    o += inRecordSize(c) + (c.boNullable ? 1 : 0);
  }
  v.push_back(o);   /* the fixed-part length */
  return v;
}

/* Header of a record: kind, length, format, fixed-part length or entry count. */
inline void header(Bytes &r, int iKind, int iFormat, int iFixed)
{
  r[0] = static_cast<unsigned char>(iKind);
  putLE16(r, 2, static_cast<uint16_t>(r.size()));
  r[4] = static_cast<unsigned char>(iFormat);
  putLE16(r, 6, static_cast<uint16_t>(iFixed));
}

/* The table descriptor record of the columns (kind 0). */
inline Bytes descriptor(const std::vector<Column> &cols, int iKind = 0)
{
  Bytes r(8 + 8 * cols.size(), 0);
  std::vector<int> off = offsets(cols);
  for (size_t k = 0; k < cols.size(); k++) {
    size_t at = 8 + 8 * k;
    putLE16(r, at, static_cast<uint16_t>(cols[k].sType));
    if (cols[k].sType == 2) {
      r[at + 2] = static_cast<unsigned char>(cols[k].sLength);
      r[at + 3] = static_cast<unsigned char>(cols[k].iScale);
    } else {
      putLE16(r, at + 2, static_cast<uint16_t>(cols[k].sLength));
    }
    putLE16(r, at + 4, cols[k].boNullable ? 1 : 0);
    putLE16(r, at + 6, static_cast<uint16_t>(off[k]));
  }
  header(r, iKind, 1, static_cast<int>(cols.size()));
  return r;
}

/*
** A format-1 data record of the values (kind 0 or 4): the fixed part at the
** columns' offsets, variable data after it in column order.  With
** iColumnsHeld below the column count the record ends its fixed part there
** (a row written before columns were added).
*/
inline Bytes row(const std::vector<Column> &cols, const std::vector<Value> &vals, int iKind = 0,
                 int iColumnsHeld = -1)
{
  size_t n = iColumnsHeld < 0 ? cols.size() : static_cast<size_t>(iColumnsHeld);
  std::vector<int> off = offsets(cols);
  int iFixed = off[n];
  Bytes rowb(iFixed, 0);
  for (size_t k = 0; k < n; k++) {
    const Column &c = cols[k];
    int sz = inRecordSize(c);
    bool boNull = vals[k].kind == Value::NUL;
    if (isVariable(c.sType)) {
      if (!boNull) {
        putLE16(rowb, off[k], static_cast<uint16_t>(rowb.size()));
        putLE16(rowb, off[k] + 2, static_cast<uint16_t>(vals[k].bytes.size()));
        rowb.insert(rowb.end(), vals[k].bytes.begin(), vals[k].bytes.end());
      }
    } else if (!boNull) {
      if (!vals[k].bytes.empty())
        std::memcpy(rowb.data() + off[k], vals[k].bytes.data(), std::min<size_t>(sz, vals[k].bytes.size()));
    }
    if (c.boNullable) rowb[off[k] + sz] = boNull ? 1 : 0;
  }
  Bytes r(8 + rowb.size(), 0);
  if (!rowb.empty()) std::memcpy(r.data() + 8, rowb.data(), rowb.size());
  header(r, iKind, 1, iFixed);
  return r;
}

/*
** A value-compressed (format 2) record of the first vals.size() columns:
** entries with the special bit for NULL, DEFAULT and SPECIAL values, then
** the values in column order.
*/
inline Bytes compressed(const std::vector<Column> &cols, const std::vector<Value> &vals, int iKind = 0)
{
  size_t c = vals.size();
  Bytes r(8 + 2 * (c + 1), 0);
  Bytes data;
  size_t base = r.size();
  for (size_t i = 0; i < c; i++) {
    uint16_t usEntry = static_cast<uint16_t>(base + data.size());
    switch (vals[i].kind) {
      case Value::NUL: usEntry |= 0x8000; data.push_back(1); break;
      case Value::DEFAULT: usEntry |= 0x8000; data.push_back(128); break;
      case Value::SPECIAL: usEntry |= 0x8000; data.push_back(vals[i].ucSpecial); break;
      case Value::BYTES: {
        size_t sz = isVariable(cols[i].sType) ? vals[i].bytes.size() : inRecordSize(cols[i]);
        Bytes b = vals[i].bytes;
        b.resize(sz, 0);
        data.insert(data.end(), b.begin(), b.end());
        break;
      }
    }
    putLE16(r, 8 + 2 * i, usEntry);
  }
  putLE16(r, 8 + 2 * c, static_cast<uint16_t>(base + data.size()));
  r.insert(r.end(), data.begin(), data.end());
  header(r, iKind, 2, static_cast<int>(c));
  return r;
}

/* A pointer record to (page, slot). */
inline Bytes pointer(uint32_t ulPage, unsigned ucSlot)
{
  Bytes r(8, 0);
  header(r, 2, 0, 0);
  putLE32(r, 4, ulPage << 8 | (ucSlot & 0xFF));
  return r;
}

/* The data-file header record with the data object's page count. */
inline Bytes fileHeader(uint32_t ulPages)
{
  Bytes r(16, 0);
  header(r, 0, 0, 0);
  putLE32(r, 4, ulPages);
  return r;
}

/* A record that is no data: the table directory, a free-space record ... */
inline Bytes other(int iKind, size_t ulSize = 16)
{
  Bytes r(ulSize, 0);
  header(r, iKind, 0, 0);
  return r;
}

/* Slot directory offset used by page(). */
constexpr int kSlotDir = 48;

/*
** A page of ulPageSize bytes with the records in slots 0, 1, ... (an empty
** Bytes gives the slot value -1), object page number ulObjectPage.  Records
** follow the slot directory in slot order.
*/
inline Bytes page(size_t ulPageSize, uint32_t ulObjectPage, const std::vector<Bytes> &records)
{
  Bytes p(ulPageSize, 0);
  putLE16(p, 0, kSlotDir);
  putLE32(p, 28, ulObjectPage);
  putLE16(p, kSlotDir, static_cast<uint16_t>(records.size()));
  size_t at = kSlotDir + 20 + 2 * records.size();
  for (size_t i = 0; i < records.size(); i++) {
    size_t slot = kSlotDir + 20 + 2 * i;
    if (records[i].empty()) {
      putLE16(p, slot, 0xFFFF);
      continue;
    }
    putLE16(p, slot, static_cast<uint16_t>(at - (kSlotDir + 20)));
    if (!records[i].empty()) std::memcpy(p.data() + at, records[i].data(), records[i].size());
    at += (records[i].size() + 3) & ~size_t(3);
  }
  return p;
}

/* Object page 0 of a table: header, an empty slot, directory, descriptor, then rows. */
inline Bytes firstPage(size_t ulPageSize, uint32_t ulPages, const std::vector<Column> &cols,
                       const std::vector<Bytes> &rows)
{
  std::vector<Bytes> recs{fileHeader(ulPages), Bytes{}, other(0, 16), descriptor(cols)};
  recs.insert(recs.end(), rows.begin(), rows.end());
  return page(ulPageSize, 0, recs);
}

/*
** Tears a page as DB2 writes it: saves bit 0 of each sector's first byte in
** the torn-page words (sector 0 keeps its own bit, which is not stamped)
** and then sets that bit of every other sector to iStamp.
*/
inline void tear(Bytes &p, int iStamp)
{
  size_t s = p.size() / 512;
  uint32_t aw[2] = {0, 0};
  size_t b = (s - 1) % 32;
  for (size_t w = 0; w <= (s - 1) / 32; w++)
    for (size_t k = 0; k <= b; k++)
      aw[w] |= static_cast<uint32_t>(p[(32 * w + b - k) * 512] & 1) << k;
  putLE32(p, 36, aw[0]);
  if (s > 32) putLE32(p, 40, aw[1]);
  for (size_t i = 1; i < s; i++) p[i * 512] = static_cast<unsigned char>((p[i * 512] & ~1u) | (iStamp & 1));
}

}  // namespace db2pages

#endif
