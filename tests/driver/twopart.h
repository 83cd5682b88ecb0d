/*
** twopart.h
**   The private two-partition instances of the whole-program reader tests:
**   table spaces SMSSPACE (2) and DMSSPACE (3), table object 4 of six pages
**   in each, DMSSPACE striped over two containers of 84 pages.  Header only.
**
**   DMS layout, pages of the table space: 20 the object table, 96 the
**   table's extent map, its extents from 100; extent e of the table space
**   lies in container e mod 2, extent row e div 2, after a one-page header.
*/
#ifndef ZAV_TESTS_DRIVER_TWOPART_H
#define ZAV_TESTS_DRIVER_TWOPART_H

#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "tests/storage/empspace.h"
#include "tools/db2emp.h"
#include "tools/db2spcs.h"

namespace twopart {

using Bytes = std::vector<unsigned char>;

constexpr uint32_t kPageSize = 4096;
constexpr uint32_t kExtent = 4;
constexpr int16_t kSmsSpace = 2;
constexpr int16_t kDmsSpace = 3;
constexpr uint16_t kTable = 4;           /* SMS file id and DMS object id of both tables */
constexpr uint32_t kPages = 6;           /* object pages of each table */
constexpr uint32_t kFirstData = 100;     /* DMS: table-space page of object page 0 */
constexpr uint32_t kObjTab = 20;         /* DMS: object table's page */
constexpr uint32_t kDataEmp = 96;        /* DMS: the table's extent map */
constexpr uint32_t kContainerPages = 84;

/* This host's name as db2nodes.cfg gives it. */
inline std::string HostName()
{
  char ac[256] = {0};
  if (gethostname(ac, sizeof ac - 1) != 0) return "localhost";
  std::string str = ac;
  return str.substr(0, str.find('.'));
}

/* The definition of a table space of the instance over the containers named. */
inline db2spcsTablespace Space(int16_t sId, const char *pcName, uint32_t ulFlags,
                               std::vector<db2spcsContainer> vContainers)
{
  db2spcsTablespace ts;
  ts.sId = sId;
  ts.strName = pcName;
  ts.ulFlags = ulFlags;
  ts.ulExtentSize = kExtent;
  ts.ulPrefetch = kExtent;
  ts.vContainers = std::move(vContainers);
  return ts;
}

/* DMSSPACE over dms0 and dms1. */
inline db2spcsTablespace DmsSpace()
{
  db2spcsTablespace dms = Space(kDmsSpace, "DMSSPACE", DB2SPCS_DMS,
                                {{"dms0", 0, kContainerPages, kContainerPages, kPageSize},
                                 {"dms1", 0, kContainerPages, kContainerPages, kPageSize}});
  db2spcsAddStripe(&dms, 40, {0, 1});
  return dms;
}

/*
** The pages of DMSSPACE holding the table: its object table, its extent
** map of ulExtentsMapped extents, and vPages from the first data page on.
*/
inline empSpace DmsPages(const std::vector<Bytes> &vPages, uint32_t ulExtentsMapped)
{
  empSpace sp;
  sp.emp(1, {kObjTab});
  db2empObject o;
  o.usTbsId = kDmsSpace, o.usObjId = kTable, o.ulDataEmp = kDataEmp, o.ulFirstData = kFirstData;
  db2empWriteDataPage(sp.page(kObjTab), kPageSize, 0, {db2empDataFileHeader(1), {}, {}, {}, db2empObjTabRecord(o)});
  std::vector<uint32_t> vExtents;
  for (uint32_t e = 0; e < ulExtentsMapped; e++) vExtents.push_back(kFirstData + e * kExtent);
  sp.empExtent(kDataEmp, {vExtents});
  for (uint32_t p = 0; p < vPages.size(); p++) std::copy(vPages[p].begin(), vPages[p].end(), sp.page(kFirstData + p));
  return sp;
}

/* Writes the table space's pages into the containers dms0 and dms1 of the database directory strDb. */
inline void WriteDmsContainers(const empSpace &sp, const std::string &strDb)
{
  for (int c = 0; c < 2; c++) {
    Bytes vCont(static_cast<size_t>(kContainerPages) * kPageSize, 0);
    for (const auto &[ulPage, v] : sp.mapPages) {
      uint32_t e = ulPage / kExtent;
      if (static_cast<int>(e % 2) != c) continue;
      size_t ulAt = (1 + (e / 2) * kExtent + ulPage % kExtent) * static_cast<size_t>(kPageSize);
      std::copy(v.begin(), v.end(), vCont.begin() + static_cast<long>(ulAt));
    }
    std::ofstream(strDb + "dms" + std::to_string(c), std::ios::binary)
        .write(reinterpret_cast<const char *>(vCont.data()), static_cast<std::streamsize>(vCont.size()));
  }
}

}  // namespace twopart

#endif
