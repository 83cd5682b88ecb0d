/*
** db2emp.h
**   Writer of DMS extent-map (EMP) pages, object-table pages and
**   object-table records of known content, for tests and for building
**   sample table spaces: each page is laid out as DB2 lays it out (slot
**   directory or EMP header at offset 48) and sealed with torn-page words
**   that make the readers' restoration leave it unchanged.  Header only;
**   no state.  The offsets are written out from DB2's layout, not taken
**   from the readers:
**
**   EMP page header (from the page's slot-directory offset o, u16 at 0)
**     OFFSET  SIZE  DESCRIPTION
**        0      4   version          4  4  level (0; 2 on double-indirect pages)
**        8      4   unFmtChild      12  4  n_entries
**     40+4i     4   allocations[i]: first table-space page of an extent
**
**   Object-table record, current layout (148 bytes after the 4-byte record header)
**        3      1   0: the long-field and LOB objects belong to this table
**        4      2   data object: table-space id      6  2  object id
**        8      4   data object: first EMP page     16  4  first data page
**       64      2   long-field object: table-space id  66  2  object id  68  4  first EMP page
**       88      2   LOB object: table-space id         90  2  object id  92  4  first EMP page
**   Old layout (marker 'O' at 2, 126 bytes): 12 own-long flag, 16/18/20/24
**   data ids, EMP and first page, 64/66/68 long field, 88/90/92 LOB.
*/
#ifndef ZAV_TOOLS_DB2EMP_H
#define ZAV_TOOLS_DB2EMP_H

#include <cstdint>
#include <cstring>
#include <vector>

#include "common/obyte.h"

/* Offset of the EMP header and of the slot directory on the pages written here. */
#define DB2EMP_HEADER 48

/*
** db2empSeal
**   Sets the torn-page words (offsets 36 and 40) of a page from bit 0 of the
**   first byte of each of its 512-byte sectors, so that restoring the bits
**   from those words changes nothing.
*/
inline void db2empSeal(unsigned char *pPage, uint32_t ulPageSize)
{
  uint32_t ulSectors = ulPageSize / 512, ulB = (ulSectors - 1) % 32;
  uint32_t aul[2] = {0, 0};
  for (uint32_t w = 0; w <= (ulSectors - 1) / 32 && w < 2; w++)
    for (uint32_t k = 0; k <= ulB; k++)
      if (pPage[512 * (32 * w + ulB - k)] & 1) aul[w] |= 1u << k;
  obytePutLE32(pPage + 36, aul[0]);
  obytePutLE32(pPage + 40, aul[1]);
}

/*
** db2empWriteEMP
**   Lays out an EMP page: version 1, the level, n_entries and the entries.
**   Extra bytes may follow the header fields: a count larger than the
**   entries given writes the count only (for damaged pages).
*/
inline void db2empWriteEMP(unsigned char *pPage, uint32_t ulPageSize, uint32_t ulLevel,
                           const std::vector<uint32_t> &vEntries, int64_t llCount = -1)
{
  memset(pPage, 0, ulPageSize);
  obytePutLE16(pPage, DB2EMP_HEADER);
  unsigned char *pHdr = pPage + DB2EMP_HEADER;
  obytePutLE32(pHdr + 0, 1);
  obytePutLE32(pHdr + 4, ulLevel);
  obytePutLE32(pHdr + 12,
               static_cast<uint32_t>(llCount >= 0 ? llCount : static_cast<int64_t>(vEntries.size())));
  for (size_t i = 0; i < vEntries.size() && DB2EMP_HEADER + 40 + 4 * (i + 1) <= ulPageSize; i++)
    obytePutLE32(pHdr + 40 + 4 * i, vEntries[i]);
  db2empSeal(pPage, ulPageSize);
}

/*
** db2empWriteDataPage
**   Lays out a page of records: object page number ulObjPage, one slot per
**   record (an empty vector gives an empty slot, -1), the records placed
**   from the end of the page downwards.  False when they do not fit.
*/
inline bool db2empWriteDataPage(unsigned char *pPage, uint32_t ulPageSize, uint32_t ulObjPage,
                                const std::vector<std::vector<unsigned char>> &vRecords)
{
  memset(pPage, 0, ulPageSize);
  obytePutLE16(pPage, DB2EMP_HEADER);
  obytePutLE32(pPage + 28, ulObjPage);
  obytePutLE16(pPage + DB2EMP_HEADER, static_cast<uint16_t>(vRecords.size()));
  size_t ulEnd = ulPageSize, ulDirEnd = DB2EMP_HEADER + 20 + 2 * vRecords.size();
  for (size_t i = 0; i < vRecords.size(); i++) {
    unsigned char *pSlot = pPage + DB2EMP_HEADER + 20 + 2 * i;
    if (vRecords[i].empty()) {
      obytePutLE16(pSlot, 0xFFFF);
      continue;
    }
    if (vRecords[i].size() > ulEnd - ulDirEnd) return false;
    ulEnd -= vRecords[i].size();
    memcpy(pPage + ulEnd, vRecords[i].data(), vRecords[i].size());
    obytePutLE16(pSlot, static_cast<uint16_t>(ulEnd - (DB2EMP_HEADER + 20)));
  }
  db2empSeal(pPage, ulPageSize);
  return true;
}

/* A DB2 record: kind byte, spare byte, u16 length, then the body. */
inline std::vector<unsigned char> db2empRecord(const std::vector<unsigned char> &vBody, uint8_t ucKind = 0)
{
  std::vector<unsigned char> v(4);
  v[0] = ucKind;
  obytePutLE16(v.data() + 2, static_cast<uint16_t>(vBody.size() + 4));
  v.insert(v.end(), vBody.begin(), vBody.end());
  return v;
}

/* The data-file header record of object page 0: the object's page count at record offset 4. */
inline std::vector<unsigned char> db2empDataFileHeader(uint32_t ulPages)
{
  std::vector<unsigned char> vBody(12);
  obytePutLE32(vBody.data(), ulPages);
  return db2empRecord(vBody);
}

/* One object of an object table. */
struct db2empObject {
  uint16_t usTbsId = 0, usObjId = 0;
  uint32_t ulDataEmp = 0, ulFirstData = 0;
  uint16_t usLFTbsId = 0, usLFObjId = 0;
  uint32_t ulLFEmp = 0;
  uint16_t usLOBTbsId = 0, usLOBObjId = 0;
  uint32_t ulLOBEmp = 0;
  uint8_t ucOwnLong = 0;
};

/* The object-table record of an object in the current layout (148 bytes after the record header). */
inline std::vector<unsigned char> db2empObjTabRecord(const db2empObject &o)
{
  std::vector<unsigned char> v(148);
  unsigned char *p = v.data();
  p[3] = o.ucOwnLong;
  obytePutLE16(p + 4, o.usTbsId);
  obytePutLE16(p + 6, o.usObjId);
  obytePutLE32(p + 8, o.ulDataEmp);
  obytePutLE32(p + 16, o.ulFirstData);
  obytePutLE16(p + 64, o.usLFTbsId);
  obytePutLE16(p + 66, o.usLFObjId);
  obytePutLE32(p + 68, o.ulLFEmp);
  obytePutLE16(p + 88, o.usLOBTbsId);
  obytePutLE16(p + 90, o.usLOBObjId);
  obytePutLE32(p + 92, o.ulLOBEmp);
  return db2empRecord(v);
}

/* The same object in the old layout (marker 'O' at byte 2, 126 bytes after the record header). */
inline std::vector<unsigned char> db2empOldObjTabRecord(const db2empObject &o)
{
  std::vector<unsigned char> v(126);
  unsigned char *p = v.data();
  p[2] = 'O';
  p[12] = o.ucOwnLong;
  obytePutLE16(p + 16, o.usTbsId);
  obytePutLE16(p + 18, o.usObjId);
  obytePutLE32(p + 20, o.ulDataEmp);
  obytePutLE32(p + 24, o.ulFirstData);
  obytePutLE16(p + 64, o.usLFTbsId);
  obytePutLE16(p + 66, o.usLFObjId);
  obytePutLE32(p + 68, o.ulLFEmp);
  obytePutLE16(p + 88, o.usLOBTbsId);
  obytePutLE16(p + 90, o.usLOBObjId);
  obytePutLE32(p + 92, o.ulLOBEmp);
  return db2empRecord(v);
}

#endif
