/*
** dmsspace.h
**   One DMS table space on disk for the reader and unload tests: extents of
**   4 pages striped over two file containers c0 and c1, the object table at
**   extent 5 (page 20), the table's extent map at page 96 listing extents at
**   pages 100, 104 and 108 (12 pages for a table of 10 pages of fictable
**   rows: the two pages past the table hold rows that must not be read).
**   dmsspaceWrite writes it; dmsspaceTest is the fixture that does so in a
**   temporary directory.  Header only.
*/
#ifndef ZAV_TESTS_STORAGE_DMSSPACE_H
#define ZAV_TESTS_STORAGE_DMSSPACE_H

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "common/ochar.h"
#include "common/olist.h"
#include "storage/ficcont.h"
#include "storage/ficdms.h"
#include "tests/storage/empspace.h"
#include "tests/storage/fictable.h"
#include "tests/zavtest.h"
#include "tools/db2spcs.h"

namespace dmsspace {

inline constexpr int32_t kPageSize = 4096;
inline constexpr int32_t kTbsId = 3;
inline constexpr int32_t kObjId = 4;
inline constexpr uint32_t kTablePages = 10;

/* The path of container i of the space written into strDb. */
inline std::string Cont(const std::string &strDb, int i)
{
  return strDb + "c" + std::to_string(i);
}

/*
** Writes the table space USERSPACE1 (id 3, table object 4) into the
** database directory strDb (ending in '/'): its control file SQLSPCS.1 and
** the two containers.  *pplist gets the container list of the local
** partition (ficcontGetLocalPart), owned by the caller; the rows of the
** table's 10 pages are appended to *pvRows when it is not NULL.
*/
inline void Write(const std::string &strDb, olist **pplist, std::vector<fictable::Bytes> *pvRows)
{
  std::filesystem::create_directories(strDb);
  db2spcsTablespace ts;
  ts.sId = kTbsId;
  ts.strName = "USERSPACE1";
  ts.ulFlags = FICCONT_TYPE_DMS;
  ts.ulExtentSize = 4;
  ts.ulPageSize = kPageSize;
  ts.vContainers = {{"c0", 0, 200, 200, kPageSize}, {"c1", 0, 200, 200, kPageSize}};
  db2spcsAddStripe(&ts, 60, {0, 1});
  ASSERT_TRUE(db2spcsWriteFile(strDb + "SQLSPCS.1", {ts}));
  ochar *pchar = ocharCreate(0, 850);
  ocharAppendFixedS(pchar, ts.strName.data(), static_cast<int32_t>(ts.strName.size()));
  ASSERT_EQ(ficcontGetLocalPart(pplist, "hosta", "SAMPLE", pchar, strDb.c_str(), 0), 0);
  ocharDestroy(pchar);
  ASSERT_NE(*pplist, nullptr);
  ficcont *pficcont = static_cast<ficcont *>((*pplist)->pitemTop);

  empSpace sp;
  sp.emp(1, {20});
  db2empObject o;
  o.usTbsId = kTbsId, o.usObjId = kObjId, o.ulDataEmp = 96, o.ulFirstData = 100;
  db2empWriteDataPage(sp.page(20), kPageSize, 0, {db2empDataFileHeader(1), {}, {}, {}, db2empObjTabRecord(o)});
  sp.empExtent(96, {{100, 104, 108}});
  for (uint32_t p = 0; p < 12; p++) {
    fictable::Bytes v = fictable::Page(kPageSize, p, kTablePages, p < kTablePages ? pvRows : nullptr);
    std::copy(v.begin(), v.end(), sp.page(100 + p));
  }
  /* each page where the mapping puts it */
  ficdmsConf *pconf = ficdmsInitConf(pficcont);
  ASSERT_NE(pconf, nullptr);
  int aiFd[2];
  for (int i = 0; i < 2; i++) aiFd[i] = open(Cont(strDb, i).c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
  for (const auto &[ulPage, v] : sp.mapPages) {
    int32_t ilCont = -1;
    int32_t ilAt = ficdmsIdentifyPage(pconf, 0, static_cast<int32_t>(ulPage), &ilCont);
    ASSERT_GE(ilAt, 0);
    ASSERT_EQ(pwrite(aiFd[ilCont], v.data(), v.size(), static_cast<off_t>(ilAt) * kPageSize),
              static_cast<ssize_t>(v.size()));
  }
  for (int fd : aiFd) close(fd);
  ficdmsFreeBuffers(pconf);
}

}  // namespace dmsspace

/* The space written into <temporary directory>/db/ before each test. */
class dmsspaceTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    strDb = dir.path + "/db/";
    dmsspace::Write(strDb, &plist, &vRows);
    if (plist != nullptr) pficcont = static_cast<ficcont *>(plist->pitemTop);
  }
  void TearDown() override { olistDestroy(plist); }

  std::string Cont(int i) const { return dmsspace::Cont(strDb, i); }

  zavtestTempDir dir;
  std::string strDb;
  olist *plist = nullptr;
  ficcont *pficcont = nullptr;
  std::vector<fictable::Bytes> vRows;
};

#endif
