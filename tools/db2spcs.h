/*
** db2spcs.h
**   Writer of table-space control files (SQLSPCS.1) and of container
**   contents of a known geometry, for tests and for building sample
**   instances: a table space is described by its fields, its containers and
**   its stripes; db2spcsRecord lays it out as one 65536-byte record (layout
**   in storage/ficcont.h), db2spcsWriteFile writes the records of a
**   partition, and the container writers fill DMS containers and SMS table
**   files by placing extents one after the other, round-robin, as DB2 does,
**   each page stamped with its own number so that a reader can tell where
**   it landed.  Header only; no state.
*/
#ifndef ZAV_TOOLS_DB2SPCS_H
#define ZAV_TOOLS_DB2SPCS_H

#include "common/obyte.h"
#include "storage/ficcont.h"
#include "storage/ficsms.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

/* Stamp of a page that belongs to no table or table-space page (container headers). */
#define DB2SPCS_NO_PAGE 0xFFFFFFFFu

struct db2spcsContainer {
  std::string strPath;       /* as stored: relative to the database directory unless it starts with '/' */
  uint32_t ulFlags = 0;      /* FICCONT_CONT_HEADEREXTENT: the header takes one extent */
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
  uint32_t ulFlags = FICCONT_TYPE_SMS;
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
  std::vector<unsigned char> v(FICCONT_RECORD_SIZE, 0);
  unsigned char *p = v.data();
  uint32_t n = static_cast<uint32_t>(ts.vContainers.size());
  obytePutLE16(p + FICCONT_OFF_ID, static_cast<uint16_t>(ts.sId));
  std::memcpy(p + FICCONT_OFF_NAME, ts.strName.data(),
              std::min<size_t>(ts.strName.size(), FICCONT_OFF_FLAGS - FICCONT_OFF_NAME));
  obytePutLE32(p + FICCONT_OFF_FLAGS, ts.ulFlags);
  obytePutLE32(p + FICCONT_OFF_EXTENTSIZE, ts.ulExtentSize);
  obytePutLE32(p + FICCONT_OFF_PREFETCH, ts.ulPrefetch);
  obytePutLE32(p + FICCONT_OFF_PAGES, ts.ulPages);
  obytePutLE32(p + FICCONT_OFF_USABLE, ts.ulUsable);
  obytePutLE32(p + FICCONT_OFF_CONTAINERS, n);
  obytePutLE32(p + FICCONT_OFF_MAPCBCOUNT, static_cast<uint32_t>(ts.vStripes.size()));
  obytePutLE32(p + FICCONT_OFF_PAGESIZE, ts.ulPageSize);
  size_t ulEntry = FICCONT_MAPCB_SIZE(n);
  for (size_t k = 0; k < ts.vStripes.size(); k++) {
    unsigned char *pe = p + FICCONT_OFF_MAPCB + k * ulEntry;
    if (pe + ulEntry > p + v.size()) break;
    const db2spcsStripe &s = ts.vStripes[k];
    obytePutLE32(pe + FICCONT_MAPCB_LASTPAGE, s.ulLastPage);
    obytePutLE32(pe + FICCONT_MAPCB_LASTEXT, s.ulLastExtent);
    obytePutLE32(pe + FICCONT_MAPCB_FIRSTREF, s.ulFirstExtentRef);
    obytePutLE32(pe + FICCONT_MAPCB_LASTREF, s.ulLastExtentRef);
    obytePutLE32(pe + FICCONT_MAPCB_COUNT, static_cast<uint32_t>(s.vContIds.size()));
    for (size_t i = 0; i < s.vContIds.size() && i < n; i++) obytePutLE32(pe + FICCONT_MAPCB_IDS + 4 * i, s.vContIds[i]);
  }
  size_t ulOffset = FICCONT_OFF_CONTLIST;
  for (const db2spcsContainer &c : ts.vContainers) {
    if (ulOffset + FICCONT_CONT_FIXED + c.strPath.size() > v.size()) break;
    unsigned char *pc = p + ulOffset;
    obytePutLE32(pc + FICCONT_CONT_FLAGS, c.ulFlags);
    obytePutLE32(pc + FICCONT_CONT_PAGES, c.ulPages);
    obytePutLE32(pc + FICCONT_CONT_USABLE, c.ulUsable);
    obytePutLE32(pc + FICCONT_CONT_PAGESIZE, c.ulPageSize);
    std::memcpy(pc + FICCONT_CONT_PATH, c.strPath.data(), c.strPath.size());
    ulOffset += FICCONT_CONT_FIXED + c.strPath.size();
  }
  obytePutLE32(p + FICCONT_OFF_CONTLISTSIZE, static_cast<uint32_t>(ulOffset - FICCONT_OFF_CONTLIST));
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
    uint32_t ulHeader = (ts.vContainers[i].ulFlags & FICCONT_CONT_HEADEREXTENT) ? ts.ulExtentSize : 1;
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
    std::snprintf(acName, sizeof acName, FICSMS_FILE_FORMAT, strDir.c_str(), iFileId, pcExtension);
    if (!_db2spcsWritePages(acName, vPages[i], ts.ulPageSize)) return false;
  }
  return true;
}

#endif
