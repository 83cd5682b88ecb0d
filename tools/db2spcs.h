/*
** db2spcs.h
**   Writer of table-space control files (SQLSPCS.1) and of container
**   contents of a known geometry, for tests and for building sample
**   instances: a table space is described by its fields, its containers and
**   its stripes; db2spcsRecord lays it out as one 65536-byte record,
**   db2spcsWriteFile writes the records of a
**   partition, and the container writers fill DMS containers and SMS table
**   files by placing extents one after the other, round-robin, as DB2 does,
**   each page stamped with its own number so that a reader can tell where
**   it landed.  Header only; no state.
**
**   Every offset below is written out from DB2's layout, not taken from the
**   readers, so that a wrong reader constant shows in the tests:
**
**   Table-space record (65536 bytes; integers little-endian)
**     OFFSET  SIZE  DESCRIPTION
**        8      2   table-space id (negative: free record)
**       10      -   name, NUL-terminated
**     0x90      4   descriptor flags; & 3 = type: 1 SMS, 2 DMS
**     0xA0      4   extent size          0xA4  4  prefetch size
**    0x40C      4   pages                0x410  4  usable pages
**    0x424      4   n = containers       0x42C  4  container-list size
**    0x434      4   m = map control blocks (stripes)
**    0x438      4   page size
**    0x508      -   m stripes of 44 + 4n bytes each:
**                     0 last page, 4 last extent, 8 first and 12 last extent
**                     on the reference container, 40 c = containers, 44 c ids
**   0x6000      -   n containers, each 53 + strlen(path) bytes: 0 flags
**                   (4: header takes one extent), 4 pages, 8 usable pages,
**                   20 page size, 52 path NUL-terminated
*/
#ifndef ZAV_TOOLS_DB2SPCS_H
#define ZAV_TOOLS_DB2SPCS_H

#include "common/obyte.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

/* Stamp of a page that belongs to no table or table-space page (container headers). */
#define DB2SPCS_NO_PAGE 0xFFFFFFFFu

/* Size of one table-space record; table-space types in the flags; container flag of a one-extent header. */
#define DB2SPCS_RECORD_SIZE 65536
#define DB2SPCS_SMS 1u
#define DB2SPCS_DMS 2u
#define DB2SPCS_HEADER_EXTENT 4u

struct db2spcsContainer {
  std::string strPath;       /* as stored: relative to the database directory unless it starts with '/' */
  uint32_t ulFlags = 0;      /* DB2SPCS_HEADER_EXTENT: the header takes one extent */
  uint32_t ulPages = 0;
  uint32_t ulUsable = 0;
  uint32_t ulPageSize = 4096;
};

struct db2spcsStripe {
  uint32_t ulLastPage = 0;
  uint32_t ulLastExtent = 0;
  uint32_t ulFirstExtentRef = 0;
  uint32_t ulLastExtentRef = 0;
  std::vector<uint32_t> vContIds;
};

struct db2spcsTablespace {
  int16_t sId = 0;                  /* negative: a free record */
  std::string strName;              /* bytes as stored */
  uint32_t ulFlags = DB2SPCS_SMS;
  uint32_t ulExtentSize = 32;
  uint32_t ulPrefetch = 32;
  uint32_t ulPages = 0;
  uint32_t ulUsable = 0;
  uint32_t ulPageSize = 4096;
  std::vector<db2spcsContainer> vContainers;
  std::vector<db2spcsStripe> vStripes;   /* DMS only */
};

/*
** db2spcsAddStripe
**   Appends a stripe of ulExtents table-space extents spread round-robin
**   over vContIds (ulExtents a multiple of their count keeps every container
**   of the stripe equally filled, as DB2 keeps them): its last extent and
**   page follow the previous stripe's, and the reference container (the
**   stripe's first) gets the stripe's rows after the extents it already has.
*/
inline void db2spcsAddStripe(db2spcsTablespace *pts, uint32_t ulExtents, const std::vector<uint32_t> &vContIds)
{
  uint32_t ulFirst = pts->vStripes.empty() ? 0 : pts->vStripes.back().ulLastExtent + 1;
  uint32_t ulRef = vContIds.empty() ? 0 : vContIds[0];
  uint32_t ulRefBefore = 0;
  for (const db2spcsStripe &s : pts->vStripes)
    for (uint32_t ul : s.vContIds)
      if (ul == ulRef) ulRefBefore += s.ulLastExtentRef - s.ulFirstExtentRef + 1;
  uint32_t ulRows = vContIds.empty() ? 0 : (ulExtents + static_cast<uint32_t>(vContIds.size()) - 1) /
                                               static_cast<uint32_t>(vContIds.size());
  db2spcsStripe s;
  s.ulLastExtent = ulFirst + ulExtents - 1;
  s.ulLastPage = (s.ulLastExtent + 1) * pts->ulExtentSize - 1;
  s.ulFirstExtentRef = ulRefBefore;
  s.ulLastExtentRef = ulRefBefore + ulRows - 1;
  s.vContIds = vContIds;
  pts->vStripes.push_back(s);
}

/* The 65536-byte record of the table space. */
inline std::vector<unsigned char> db2spcsRecord(const db2spcsTablespace &ts)
{
  std::vector<unsigned char> v(DB2SPCS_RECORD_SIZE, 0);
  unsigned char *p = v.data();
  uint32_t n = static_cast<uint32_t>(ts.vContainers.size());
  obytePutLE16(p + 8, static_cast<uint16_t>(ts.sId));
  std::memcpy(p + 10, ts.strName.data(), std::min<size_t>(ts.strName.size(), 0x90 - 10));
  obytePutLE32(p + 0x90, ts.ulFlags);
  obytePutLE32(p + 0xA0, ts.ulExtentSize);
  obytePutLE32(p + 0xA4, ts.ulPrefetch);
  obytePutLE32(p + 0x40C, ts.ulPages);
  obytePutLE32(p + 0x410, ts.ulUsable);
  obytePutLE32(p + 0x424, n);
  obytePutLE32(p + 0x434, static_cast<uint32_t>(ts.vStripes.size()));
  obytePutLE32(p + 0x438, ts.ulPageSize);
  size_t ulEntry = 44 + 4 * static_cast<size_t>(n);
  for (size_t k = 0; k < ts.vStripes.size(); k++) {
    unsigned char *pe = p + 0x508 + k * ulEntry;
    if (pe + ulEntry > p + v.size()) break;
    const db2spcsStripe &s = ts.vStripes[k];
    obytePutLE32(pe + 0, s.ulLastPage);
    obytePutLE32(pe + 4, s.ulLastExtent);
    obytePutLE32(pe + 8, s.ulFirstExtentRef);
    obytePutLE32(pe + 12, s.ulLastExtentRef);
    obytePutLE32(pe + 40, static_cast<uint32_t>(s.vContIds.size()));
    for (size_t i = 0; i < s.vContIds.size() && i < n; i++) obytePutLE32(pe + 44 + 4 * i, s.vContIds[i]);
  }
  size_t ulOffset = 0x6000;
  for (const db2spcsContainer &c : ts.vContainers) {
    if (ulOffset + 53 + c.strPath.size() > v.size()) break;
    unsigned char *pc = p + ulOffset;
    obytePutLE32(pc + 0, c.ulFlags);
    obytePutLE32(pc + 4, c.ulPages);
    obytePutLE32(pc + 8, c.ulUsable);
    obytePutLE32(pc + 20, c.ulPageSize);
    std::memcpy(pc + 52, c.strPath.data(), c.strPath.size());
    ulOffset += 53 + c.strPath.size();
  }
  obytePutLE32(p + 0x42C, static_cast<uint32_t>(ulOffset - 0x6000));
  return v;
}

/* Writes the records one after the other, then ulTrailing zero bytes.  False when the file cannot be written. */
inline bool db2spcsWriteRecords(const std::string &strPath, const std::vector<std::vector<unsigned char>> &vRecords,
                                size_t ulTrailing = 0)
{
  std::ofstream out(strPath, std::ios::binary | std::ios::trunc);
  for (const auto &v : vRecords)
    out.write(reinterpret_cast<const char *>(v.data()), static_cast<std::streamsize>(v.size()));
  std::string strTail(ulTrailing, '\0');
  out.write(strTail.data(), static_cast<std::streamsize>(strTail.size()));
  return static_cast<bool>(out);
}

/* db2spcsWriteFile: the records of the table spaces, then ulTrailing zero bytes. */
inline bool db2spcsWriteFile(const std::string &strPath, const std::vector<db2spcsTablespace> &vTablespaces,
                             size_t ulTrailing = 0)
{
  std::vector<std::vector<unsigned char>> vRecords;
  for (const db2spcsTablespace &ts : vTablespaces) vRecords.push_back(db2spcsRecord(ts));
  return db2spcsWriteRecords(strPath, vRecords, ulTrailing);
}

/* Writes pages (each stamped with its number, LE32 at offset 0 and the last 4 bytes) to a file. */
inline bool _db2spcsWritePages(const std::string &strPath, const std::vector<uint32_t> &vStamps, uint32_t ulPageSize)
{
  std::ofstream out(strPath, std::ios::binary | std::ios::trunc);
  std::vector<unsigned char> vPage(ulPageSize, 0);
  for (uint32_t ulStamp : vStamps) {
    std::fill(vPage.begin(), vPage.end(), static_cast<unsigned char>(ulStamp * 7 + 1));
    obytePutLE32(vPage.data(), ulStamp);
    obytePutLE32(vPage.data() + ulPageSize - 4, ulStamp);
    out.write(reinterpret_cast<const char *>(vPage.data()), static_cast<std::streamsize>(ulPageSize));
  }
  return static_cast<bool>(out);
}

/*
** db2spcsWriteDmsContainers
**   Fills the DMS containers (paths prefixed with strDbPath when relative):
**   each container starts with its header (one extent or one page, stamped
**   DB2SPCS_NO_PAGE), then the extents the stripes give it, in order; every
**   page holds its table-space page number.  False when a file cannot be written.
*/
inline bool db2spcsWriteDmsContainers(const db2spcsTablespace &ts, const std::string &strDbPath)
{
  std::vector<std::vector<uint32_t>> vPages(ts.vContainers.size());
  for (size_t i = 0; i < ts.vContainers.size(); i++) {
    uint32_t ulHeader = (ts.vContainers[i].ulFlags & DB2SPCS_HEADER_EXTENT) ? ts.ulExtentSize : 1;
    vPages[i].assign(ulHeader, DB2SPCS_NO_PAGE);
  }
  uint32_t ulExtent = 0;
  for (const db2spcsStripe &s : ts.vStripes) {
    for (uint32_t i = 0; ulExtent <= s.ulLastExtent; i++, ulExtent++) {
      uint32_t ulCont = s.vContIds[i % s.vContIds.size()];
      for (uint32_t r = 0; r < ts.ulExtentSize; r++) vPages[ulCont].push_back(ulExtent * ts.ulExtentSize + r);
    }
  }
  for (size_t i = 0; i < ts.vContainers.size(); i++) {
    const std::string &strPath = ts.vContainers[i].strPath;
    std::string strFull = !strPath.empty() && strPath[0] == '/' ? strPath : strDbPath + strPath;
    if (!_db2spcsWritePages(strFull, vPages[i], ts.ulPageSize)) return false;
  }
  return true;
}

/*
** db2spcsWriteSmsTable
**   Writes the file (extension pcExtension) of table ilFileId in every SMS
**   container (directories that exist, paths prefixed with strDbPath when
**   relative): ulPages table pages in extents, extent x in container
**   (file id + x) mod containers; every page holds its table page number.
*/
inline bool db2spcsWriteSmsTable(const db2spcsTablespace &ts, const std::string &strDbPath, int iFileId,
                                 const char *pcExtension, uint32_t ulPages)
{
  size_t k = ts.vContainers.size();
  if (k == 0) return false;
  std::vector<std::vector<uint32_t>> vPages(k);
  for (uint32_t p = 0; p < ulPages; p++) {
    uint32_t ulExtent = p / ts.ulExtentSize;
    vPages[(static_cast<size_t>(iFileId) + ulExtent) % k].push_back(p);
  }
  for (size_t i = 0; i < k; i++) {
    const std::string &strPath = ts.vContainers[i].strPath;
    std::string strDir = !strPath.empty() && strPath[0] == '/' ? strPath : strDbPath + strPath;
    char acName[1024];
    std::snprintf(acName, sizeof acName, "%s/SQL%.5d%s", strDir.c_str(), iFileId, pcExtension);
    if (!_db2spcsWritePages(acName, vPages[i], ts.ulPageSize)) return false;
  }
  return true;
}

#endif
