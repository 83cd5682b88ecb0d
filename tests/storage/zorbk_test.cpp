/*
** zorbk_test.cpp
**   Backup image reader: images of known content are built with
**   tools/db2backup.h, written to a temporary directory and read back
**   through a backup object and its page sources: media header, object
**   index, table-space list and definitions, the pages of SMS and DMS
**   tables, refused images, and the decomposition of backup file names.
*/
#include "storage/zorbk.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "common/obyte.h"
#include "common/ochaine.h"
#include "common/ochar.h"
#include "storage/zorts.h"
#include "tests/storage/bkimage.h"
#include "tests/zavtest.h"
#include "tools/db2backup.h"

namespace {

const uint32_t P = 4096;

ochar *MakeText(const std::string &str)
{
  ochar *pchar = ocharCreate(0, 850);
  ocharAppendFixed(pchar, str.data(), static_cast<int32_t>(str.size()));
  return pchar;
}

/* Opens an image file; rc in *piRc. */
zorbk *Open(const std::string &strPath, int *piRc)
{
  ochar *pcharName = MakeText(strPath);
  ochar *pcharAlias = MakeText("SAMPLE");
  zorbk *pzorbk = zorbkCreate(pcharName, pcharAlias, nullptr, piRc);
  ocharDestroy(pcharName);
  ocharDestroy(pcharAlias);
  return pzorbk;
}

/* Page 0 of a table: data-file header (page count), table directory, and a
   descriptor of one INTEGER column. */
db2backupBytes TablePage0(uint32_t ulPageCount)
{
  db2backupBytes vHeader(8, 0);
  obytePutLE32(vHeader.data(), ulPageCount);
  db2backupBytes vDir(8, 0);
  db2backupBytes vDesc(4 + 8, 0);
  obytePutLE16(vDesc.data() + 2, 1);          /* column count at record offset 6 */
  obytePutLE16(vDesc.data() + 4, 1);          /* INTEGER */
  obytePutLE16(vDesc.data() + 6, 4);
  obytePutLE16(vDesc.data() + 8, 0);
  obytePutLE16(vDesc.data() + 10, 0);
  return db2backupPage(P, 0,
                       {db2backupRecord(0, vHeader), {}, db2backupRecord(0, vDir), db2backupRecord(0, vDesc)});
}

/* Object page n of a table, marked with a byte, torn as DB2 writes it. */
db2backupBytes DataPage(uint32_t ulPage, unsigned char ucMark)
{
  db2backupBytes v = ulPage == 0 ? TablePage0(8) : db2backupPage(P, ulPage, {db2backupRecord(0, {ucMark, 0, 0, 0})});
  v[1000] = ucMark;
  v[512] &= 0xFE;                             /* sector 1: bit 0 clear before stamping */
  db2backupTearPage(v.data(), P);
  return v;
}

db2backupBytes Concat(const std::vector<db2backupBytes> &vPages)
{
  db2backupBytes v;
  for (const auto &page : vPages) v.insert(v.end(), page.begin(), page.end());
  return v;
}

/* A zorts over a backup object, as the table-space object creation sets it. */
struct TestTs {
  zorts ts{};
  explicit TestTs(zorbk *pzorbk, bool boDMS)
  {
    ts.iSource = ZORTS_SOURCE_BACKUP;
    ts.pzorbk = pzorbk;
    ts.iType = boDMS ? ZORTS_TYPE_DMS : ZORTS_TYPE_SMS;
    ts.pfnReadNext = boDMS ? zorbkReadNextDMSDat : zorbkReadNextSMSDat;
    ts.pfnReadAbs = boDMS ? zorbkReadAbsDMSDatPage : zorbkReadAbsSMSDatPage;
  }
  ~TestTs()
  {
    std::free(ts.tbdesc.pcolumns);
    zorbkSMSPSDestroy(static_cast<zorbkPageSource *>(ts.pPageSource));
  }
};

}  // namespace

/* ---------------------------------------------------------- media header */

TEST(ZorbkCreate, BufferSizeFieldByRelease)
{
  struct Case {
    uint16_t usRelease;
    bool boAlternative;
  } aCases[] = {{0x0800, false}, {0x0900, true}, {0x0901, true}, {0x0A00, true}};
  zavtestTempDir dir;
  for (const Case &c : aCases) {
    SCOPED_TRACE(c.usRelease);
    db2backupImage image;
    db2backupBegin(image, 8192, c.usRelease, "IBM-850", c.boAlternative);
    db2backupAddObject(image, 0, 2, 5, 0, db2backupBytes(100, 0));
    db2backupPadToBuffer(image);                       /* the next object is in buffer 1 */
    db2backupAddObject(image, 18, 0, 0, 0, {});
    ASSERT_TRUE(db2backupWrite(image, dir.file("img")));
    int rc = -1;
    zorbk *pzorbk = Open(dir.file("img"), &rc);
    ASSERT_NE(pzorbk, nullptr);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(pzorbk->ilBufferSize, 8192);
    ASSERT_EQ(pzorbk->ilIndexCount, 2);
    EXPECT_EQ(pzorbk->pindex[1].llPosition, 4096 + 8192 + 512);
    bkimageFree(pzorbk);
  }
  /* the wrong alternative field is not taken: release 0x900 with its size at 0x1F0 */
  db2backupImage image;
  db2backupBegin(image, 8192, 0x0901, "IBM-850", true);
  obytePutLE16(image.bytes.data() + 0x3C, 0x0900);
  ASSERT_TRUE(db2backupWrite(image, dir.file("img")));
  int rc = 0;
  EXPECT_EQ(Open(dir.file("img"), &rc), nullptr);
  EXPECT_EQ(rc, ZORBK_RC_DAMAGED);
}

/* ------------------------------------------------------------ the index */

TEST(ZorbkCreate, IndexListDefinitionsAndVersion)
{
  zavtestTempDir dir;
  db2backupImage image;
  db2backupBegin(image, 16384, 0x0800, "UTF-8");
  db2backupAddObject(image, 9, 0, 0, 0, db2backupLOT({{"USERSPACE1", 1}, {"SYSCATSPACE", 2}}));
  db2backupAddObject(image, 11, 0, 0, 0, db2backupTbsDef(0, 2, 4, 4096, 1000, "SYSCATSPACE"));
  db2backupAddObject(image, 11, 2, 0, 0, db2backupTbsDef(2, 0x101, 32, 8192, 500, "USERSPACE1"));
  db2backupPadToBuffer(image);
  db2backupAddObject(image, 0, 2, 7, 3, db2backupBytes(8192, 0), 0x55);
  db2backupAddObject(image, 12, 0, 0, 64, db2backupBytes(4096, 0));
  db2backupAddObject(image, 6, 0, 0, 0, db2backupBytes(10, 0));
  db2backupAddObject(image, 18, 0, 0, 0, {});
  ASSERT_TRUE(db2backupWrite(image, dir.file("img")));

  int rc = -1;
  zorbk *pzorbk = Open(dir.file("img"), &rc);
  ASSERT_NE(pzorbk, nullptr);
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(pzorbk->isCCSID, 1208);
  EXPECT_EQ(pzorbk->ilCatalogTbsType, 2);
  EXPECT_EQ(pzorbk->ilVersion, 8);
  ASSERT_EQ(pzorbk->ilIndexCount, 7);
  const zorbkIndexEntry &e = pzorbk->pindex[3];
  EXPECT_EQ(e.ilTbsId, 2);
  EXPECT_EQ(e.usObjId, 7);
  EXPECT_EQ(e.usObjType, 0);
  EXPECT_EQ(e.ilFirstPage, 3);
  EXPECT_EQ(e.ilDataSize, 8192);
  EXPECT_EQ(e.ilHeaderWord, 0x55);
  EXPECT_EQ(e.llPosition, 4096 + 16384 + 512);
  zorbkTbsDef *pdef = zorbkFindTbsDef(pzorbk, 2);
  ASSERT_NE(pdef, nullptr);
  EXPECT_EQ(pdef->ulFlags, 0x101u);
  EXPECT_EQ(pdef->ilExtentSize, 32);
  EXPECT_EQ(pdef->ilPageSize, 8192);
  EXPECT_EQ(pdef->ilPages, 500);
  EXPECT_EQ(zorbkFindTbsDef(pzorbk, 3), nullptr);

  struct {
    int32_t ilTbsId;
    int iType;
  } aTypes[] = {{2, 1}, {0, 2}, {9, 0}};
  for (const auto &t : aTypes) EXPECT_EQ(zorbkDetermineType(pzorbk, t.ilTbsId), t.iType) << t.ilTbsId;
  bkimageFree(pzorbk);
}

TEST(ZorbkCreate, IndexGrowsPastItsFirstThousandEntries)
{
  zavtestTempDir dir;
  db2backupImage image;
  db2backupBegin(image, 1 << 20);
  for (int i = 0; i < 2100; i++) db2backupAddObject(image, i == 1500 ? 30 : 0, 2, 5, i, {});
  ASSERT_TRUE(db2backupWrite(image, dir.file("img")));
  int rc = -1;
  zorbk *pzorbk = Open(dir.file("img"), &rc);
  ASSERT_NE(pzorbk, nullptr);
  ASSERT_EQ(pzorbk->ilIndexCount, 2100);
  EXPECT_EQ(pzorbk->pindex[2099].ilFirstPage, 2099);
  EXPECT_EQ(pzorbk->ilVersion, 8);                       /* type 30: a later release's object */
  bkimageFree(pzorbk);
}

TEST(ZorbkCreate, TwoNonHeadersInARowEndTheScan)
{
  zavtestTempDir dir;
  db2backupImage image;
  db2backupBegin(image, 4096);
  db2backupAddObject(image, 0, 2, 5, 0, db2backupBytes(512, 0));
  db2backupPadToBuffer(image);                         /* filler, then ... */
  image.bytes.resize(image.bytes.size() + 4096, 0);    /* ... a buffer without header */
  db2backupAddObject(image, 0, 2, 5, 1, db2backupBytes(512, 0));
  ASSERT_TRUE(db2backupWrite(image, dir.file("img")));
  int rc = -1;
  zorbk *pzorbk = Open(dir.file("img"), &rc);
  ASSERT_NE(pzorbk, nullptr);
  EXPECT_EQ(pzorbk->ilIndexCount, 1);
  bkimageFree(pzorbk);
}

TEST(ZorbkCreate, RefusedImages)
{
  zavtestTempDir dir;
  auto good = [] {
    db2backupImage image;
    db2backupBegin(image, 8192);
    db2backupAddObject(image, 11, 2, 0, 0, db2backupTbsDef(2, 1, 4, 4096));
    db2backupAddObject(image, 0, 2, 5, 0, db2backupBytes(4096, 0));
    return image;
  };
  struct Case {
    const char *pcWhat;
    std::function<void(db2backupImage &)> fnDamage;
    int rc;
  } aCases[] = {
      {"media header cut", [](db2backupImage &i) { i.bytes.resize(100); }, ZORBK_RC_TRUNCATED},
      {"no media header", [](db2backupImage &i) { i.bytes[3] = 'X'; }, ZORBK_RC_DAMAGED},
      {"no buffer size", [](db2backupImage &i) { obytePutLE32(i.bytes.data() + 0x1D4, 0); }, ZORBK_RC_DAMAGED},
      {"object data cut", [](db2backupImage &i) { i.bytes.resize(i.bytes.size() - 1); }, ZORBK_RC_TRUNCATED},
      {"data size past the end",
       [](db2backupImage &i) { obytePutLE32(i.bytes.data() + i.bytes.size() - 4096 - 512 + 0x14, 0x80000000u); },
       ZORBK_RC_DAMAGED},
      {"definition too short",
       [](db2backupImage &i) {
         i.bytes.resize(4096);
         db2backupAddObject(i, 11, 2, 0, 0, db2backupBytes(100, 0));
       },
       ZORBK_RC_DAMAGED},
  };
  for (const Case &c : aCases) {
    SCOPED_TRACE(c.pcWhat);
    db2backupImage image = good();
    c.fnDamage(image);
    ASSERT_TRUE(db2backupWrite(image, dir.file("img")));
    int rc = 0;
    EXPECT_EQ(Open(dir.file("img"), &rc), nullptr);
    EXPECT_EQ(rc, c.rc);
  }
  int rc = 0;
  std::vector<std::string> vMessages =
      zavtestMessages([&] { EXPECT_EQ(Open(dir.file("absent"), &rc), nullptr); });
  EXPECT_EQ(rc, 0x114a000 | ENOENT);
  ASSERT_EQ(vMessages.size(), 1u);
  EXPECT_EQ(vMessages[0].compare(0, 8, "ZORU347E"), 0);
}

/* ---------------------------------------------------------- SMS tables */

namespace {

/* Table 5 of table space 2: pages 0-3 and 4-7 in two objects, with an
   object of another table between them; a LOB object in 1 KB units. */
db2backupImage SmsImage()
{
  db2backupImage image;
  db2backupBegin(image, 65536);
  db2backupAddObject(image, 11, 2, 0, 0, db2backupTbsDef(2, 1, 4, P));
  db2backupAddObject(image, 0, 2, 5, 0, Concat({DataPage(0, 0x10), DataPage(1, 0x11), DataPage(2, 0x12), DataPage(3, 0x13)}));
  db2backupAddObject(image, 0, 2, 5, 4, Concat({DataPage(4, 0x14), DataPage(5, 0x15), DataPage(6, 0x16), DataPage(7, 0x17)}));
  db2backupAddObject(image, 0, 2, 6, 0, Concat({DataPage(0, 0x60)}));
  db2backupPadToBuffer(image);
  db2backupBytes vLob1(6144), vLob2(3072);
  for (size_t i = 0; i < vLob1.size(); i++) vLob1[i] = static_cast<unsigned char>(i / 1024 + 1);
  for (size_t i = 0; i < vLob2.size(); i++) vLob2[i] = static_cast<unsigned char>(i / 1024 + 7);
  db2backupAddObject(image, 16, 2, 5, 0, vLob1);       /* 1 KB units 0-5 */
  db2backupAddObject(image, 16, 2, 5, 6, vLob2);       /* units 6-8 */
  db2backupBytes vPage3(P, 0x33), vPage23(P, 0x23);
  db2backupAddObject(image, 3, 2, 7, 0, vPage3);        /* table 7: LOB pages counted in pages */
  db2backupAddObject(image, 23, 2, 7, 1, vPage23);
  db2backupAddObject(image, 18, 0, 0, 0, {});
  return image;
}

}  // namespace

TEST(ZorbkSMS, ReadNextHandsOutEveryPageThenEnds)
{
  zavtestTempDir dir;
  ASSERT_TRUE(db2backupWrite(SmsImage(), dir.file("img")));
  int rc = -1;
  zorbk *pzorbk = Open(dir.file("img"), &rc);
  ASSERT_NE(pzorbk, nullptr);
  {
    TestTs t(pzorbk, false);
    zorbkPageSource *pps = zorbkOpenSMSTableDat(&t.ts, 2, 5, &rc);
    ASSERT_NE(pps, nullptr);
    t.ts.pPageSource = pps;
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(t.ts.ilPageSize, 4096);
    EXPECT_EQ(t.ts.ilExtentSize, 4);
    EXPECT_EQ(t.ts.ilPageCount, 8);
    EXPECT_EQ(t.ts.tbdesc.sColumnCount, 1);
    ASSERT_EQ(pps->ilChunkCount, 2);
    EXPECT_EQ(pps->pchunks[2].ilFirstPage, 8);           /* closing entry */
    for (uint32_t ulPage = 0; ulPage < 8; ulPage++) {
      unsigned char *pucPage = zorbkReadNextSMSDat(&t.ts, &rc);
      ASSERT_NE(pucPage, nullptr) << ulPage;
      EXPECT_EQ(rc, 0);
      EXPECT_EQ(obyteGetLE32(pucPage + 28), ulPage);
      EXPECT_EQ(pucPage[512] & 1, 0) << "torn-page bit of sector 1 restored";
      EXPECT_EQ(pucPage[1024] & 1, 0);
    }
    EXPECT_EQ(zorbkReadNextSMSDat(&t.ts, &rc), nullptr);
    EXPECT_EQ(rc, 0x1139001);
  }
  bkimageFree(pzorbk);
}

TEST(ZorbkSMS, ReadAbsoluteAcrossChunksAndMissingPages)
{
  zavtestTempDir dir;
  ASSERT_TRUE(db2backupWrite(SmsImage(), dir.file("img")));
  int rc = -1;
  zorbk *pzorbk = Open(dir.file("img"), &rc);
  ASSERT_NE(pzorbk, nullptr);
  {
    TestTs t(pzorbk, false);
    t.ts.pPageSource = zorbkOpenSMSTableDat(&t.ts, 2, 5, &rc);
    ASSERT_NE(t.ts.pPageSource, nullptr);
    ASSERT_NE(zorbkReadNextSMSDat(&t.ts, &rc), nullptr);    /* chunk 0 loaded */

    /* pages 2 to 5: two from the loaded chunk, two read from the next object */
    unsigned char *pucPages = zorbkReadAbsSMSDatPage(&t.ts, 2, nullptr, 4, ZORTS_READ_RESTORE, &rc);
    ASSERT_NE(pucPages, nullptr);
    EXPECT_EQ(rc, 0);
    for (uint32_t k = 0; k < 4; k++) {
      EXPECT_EQ(obyteGetLE32(pucPages + k * P + 28), 2 + k);
      EXPECT_EQ(pucPages[k * P + 1000], 0x12 + k);
      EXPECT_EQ(pucPages[k * P + 512] & 1, 0);
    }
    /* without restoration the stamp stays */
    ASSERT_EQ(zorbkReadAbsSMSDatPage(&t.ts, 6, pucPages, 1, 0, &rc), pucPages);
    EXPECT_EQ(pucPages[512] & 1, 1);
    std::free(pucPages);

    struct {
      uint32_t ulPage;
      int32_t ilCount;
    } aMissing[] = {{8, 1}, {7, 2}, {100, 1}};
    for (const auto &m : aMissing) {
      rc = 0;
      EXPECT_EQ(zorbkReadAbsSMSDatPage(&t.ts, m.ulPage, nullptr, m.ilCount, 0, &rc), nullptr);
      EXPECT_EQ(rc, ZORBK_RC_NOPAGE) << m.ulPage;
    }
  }
  bkimageFree(pzorbk);
}

TEST(ZorbkSMS, LobPagesInKilobyteUnits)
{
  zavtestTempDir dir;
  ASSERT_TRUE(db2backupWrite(SmsImage(), dir.file("img")));
  int rc = -1;
  zorbk *pzorbk = Open(dir.file("img"), &rc);
  ASSERT_NE(pzorbk, nullptr);
  {
    TestTs t(pzorbk, false);
    t.ts.pfnReadAbs = zorbkReadAbsSMSLOBPage;
    zorbkPageSource *pps = zorbkOpenSMSTableLOB(&t.ts, 2, 5, &rc);
    ASSERT_NE(pps, nullptr);
    t.ts.pPageSource = pps;
    EXPECT_EQ(pps->pchunks[2].ilFirstPage, 9);
    /* LOB page 1 = units 4-7: two from the first object, two from the second */
    unsigned char *pucPage = zorbkReadAbsSMSLOBPage(&t.ts, 1, nullptr, 1, 0, &rc);
    ASSERT_NE(pucPage, nullptr);
    const unsigned char aucExpected[] = {5, 6, 7, 8};
    for (int k = 0; k < 4; k++) EXPECT_EQ(pucPage[k * 1024 + 10], aucExpected[k]) << k;
    /* page 2 = units 8-11: the object ends after unit 8 */
    ASSERT_EQ(zorbkReadAbsSMSLOBPage(&t.ts, 2, pucPage, 1, 0, &rc), pucPage);
    EXPECT_EQ(pucPage[10], 9);
    EXPECT_EQ(pucPage[2000], 0);
    EXPECT_EQ(zorbkReadAbsSMSLOBPage(&t.ts, 3, pucPage, 1, 0, &rc), nullptr);
    EXPECT_EQ(rc, ZORBK_RC_NOPAGE);
    std::free(pucPage);
  }
  {
    /* objects of types 3 and 23 count their first page in pages */
    TestTs t(pzorbk, false);
    zorbkPageSource *pps = zorbkOpenSMSTableLOB(&t.ts, 2, 7, &rc);
    ASSERT_NE(pps, nullptr);
    t.ts.pPageSource = pps;
    ASSERT_EQ(pps->ilChunkCount, 2);
    EXPECT_EQ(pps->pchunks[2].ilFirstPage, 8);
    unsigned char *pucPage = zorbkReadAbsSMSLOBPage(&t.ts, 1, nullptr, 1, 0, &rc);
    ASSERT_NE(pucPage, nullptr);
    EXPECT_EQ(pucPage[0], 0x23);
    EXPECT_EQ(pucPage[P - 1], 0x23);
    std::free(pucPage);
  }
  bkimageFree(pzorbk);
}

TEST(ZorbkSMS, OpenersWithoutObjectOrWithDamagedDefinition)
{
  zavtestTempDir dir;
  db2backupImage image = SmsImage();
  db2backupAddObject(image, 11, 3, 0, 0, db2backupTbsDef(3, 1, 4, 1000));
  db2backupAddObject(image, 0, 3, 5, 0, DataPage(0, 1));
  ASSERT_TRUE(db2backupWrite(image, dir.file("img")));
  int rc = -1;
  zorbk *pzorbk = Open(dir.file("img"), &rc);
  ASSERT_NE(pzorbk, nullptr);
  TestTs t(pzorbk, false);
  rc = -1;
  EXPECT_EQ(zorbkOpenSMSTableLF(&t.ts, 2, 5, &rc), nullptr);   /* no long-field object */
  EXPECT_EQ(rc, 0);
  rc = -1;
  EXPECT_EQ(zorbkOpenSMSTableDat(&t.ts, 4, 5, &rc), nullptr);  /* no such table space */
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(zorbkOpenSMSTableDat(&t.ts, 3, 5, &rc), nullptr);  /* page size 1000 */
  EXPECT_EQ(rc, ZORBK_RC_DAMAGED);
  EXPECT_EQ(t.ts.pPageSource, nullptr);
  bkimageFree(pzorbk);
}

TEST(ZorbkSMS, DamagedOrShortenedImagesGiveReadErrors)
{
  zavtestTempDir dir;
  /* a chunk that is not whole pages, after an empty object of the table */
  db2backupImage image;
  db2backupBegin(image, 65536);
  db2backupAddObject(image, 11, 2, 0, 0, db2backupTbsDef(2, 1, 4, P));
  db2backupAddObject(image, 0, 2, 5, 0, DataPage(0, 0x10));
  db2backupAddObject(image, 0, 2, 5, 1, {});
  db2backupBytes vPartial = DataPage(1, 0x11);
  vPartial.resize(P + 100, 0);
  db2backupAddObject(image, 0, 2, 5, 1, vPartial);
  db2backupAddObject(image, 0, 2, 5, 2, Concat({DataPage(2, 0x12), DataPage(3, 0x13)}));
  ASSERT_TRUE(db2backupWrite(image, dir.file("img")));
  int rc = -1;
  zorbk *pzorbk = Open(dir.file("img"), &rc);
  ASSERT_NE(pzorbk, nullptr);
  {
    TestTs t(pzorbk, false);
    t.ts.pPageSource = zorbkOpenSMSTableDat(&t.ts, 2, 5, &rc);
    ASSERT_NE(t.ts.pPageSource, nullptr);
    ASSERT_NE(zorbkReadNextSMSDat(&t.ts, &rc), nullptr);
    EXPECT_EQ(zorbkReadNextSMSDat(&t.ts, &rc), nullptr);       /* the empty object is stepped over */
    EXPECT_EQ(rc, 0x113a003);

    /* the image is cut after it was opened: the last object ends early */
    ASSERT_EQ(truncate(dir.file("img").c_str(), static_cast<off_t>(image.bytes.size() - 100)), 0);
    unsigned char aucPage[P];
    EXPECT_EQ(zorbkReadAbsSMSDatPage(&t.ts, 3, aucPage, 1, 0, &rc), nullptr);
    EXPECT_EQ(rc, ZORBK_RC_TRUNCATED);
    ASSERT_EQ(zorbkReadAbsSMSDatPage(&t.ts, 2, aucPage, 1, 0, &rc), aucPage);
    EXPECT_EQ(aucPage[1000], 0x12);
    static_cast<zorbkPageSource *>(t.ts.pPageSource)->ilCurrentChunk = 3;
    static_cast<zorbkPageSource *>(t.ts.pPageSource)->ilState = -1;
    EXPECT_EQ(zorbkReadNextSMSDat(&t.ts, &rc), nullptr);
    EXPECT_EQ(rc, 0x113a003);
  }
  bkimageFree(pzorbk);
}

TEST(ZorbkSMS, PagesBetweenObjectsAreNotInTheImage)
{
  /* objects hold pages 0-1 and 4-5: pages 2 and 3 are missing, and must not
     be taken from the bytes that follow the first object */
  zavtestTempDir dir;
  db2backupImage image;
  db2backupBegin(image, 65536);
  db2backupAddObject(image, 11, 2, 0, 0, db2backupTbsDef(2, 1, 4, P));
  db2backupAddObject(image, 0, 2, 5, 0, Concat({DataPage(0, 0x10), DataPage(1, 0x11)}));
  db2backupAddObject(image, 0, 2, 5, 4, Concat({DataPage(4, 0x14), DataPage(5, 0x15)}));
  ASSERT_TRUE(db2backupWrite(image, dir.file("img")));
  int rc = -1;
  zorbk *pzorbk = Open(dir.file("img"), &rc);
  ASSERT_NE(pzorbk, nullptr);
  {
    TestTs t(pzorbk, false);
    t.ts.pPageSource = zorbkOpenSMSTableDat(&t.ts, 2, 5, &rc);
    ASSERT_NE(t.ts.pPageSource, nullptr);
    unsigned char aucPages[2 * P];
    struct {
      uint32_t ulPage;
      int32_t ilCount;
      int rc;
    } aCases[] = {{1, 1, 0}, {2, 1, ZORBK_RC_NOPAGE}, {3, 1, ZORBK_RC_NOPAGE}, {1, 2, ZORBK_RC_NOPAGE}, {4, 2, 0}};
    for (const auto &c : aCases) {
      rc = -1;
      unsigned char *puc = zorbkReadAbsSMSDatPage(&t.ts, c.ulPage, aucPages, c.ilCount, 1, &rc);
      EXPECT_EQ(rc, c.rc) << c.ulPage;
      if (c.rc == 0) {
        ASSERT_EQ(puc, aucPages);
        EXPECT_EQ(aucPages[1000], 0x10 + c.ulPage);
      } else {
        EXPECT_EQ(puc, nullptr);
      }
    }
  }
  bkimageFree(pzorbk);
}

/* ---------------------------------------------------------- DMS tables */

namespace {

/* An EMP page whose entries are the given table-space pages. */
db2backupBytes EmpPage(const std::vector<uint32_t> &vEntries)
{
  return bkimageEmpPage(P, vEntries, false);
}

/*
** DMS table space 3, extent size 4: page 1 the object table's EMP page
** (object table in extent 4-7), table 5's EMP extent at 8-11, its data in
** extents 12-15 and 20-23 (page count 6).  The table space is saved in
** three objects that cut the EMP extent and the data in two.
*/
db2backupImage DmsImage()
{
  std::vector<db2backupBytes> vPages(24, db2backupBytes(P, 0));
  vPages[1] = EmpPage({4});
  db2backupBytes vObjTabHeader(8, 0);
  obytePutLE32(vObjTabHeader.data(), 1);
  db2backupBytes vRecord(148, 0);
  obytePutLE16(vRecord.data() + 4, 3);
  obytePutLE16(vRecord.data() + 6, 5);
  obytePutLE32(vRecord.data() + 8, 8);
  obytePutLE32(vRecord.data() + 16, 12);
  vPages[4] = db2backupPage(P, 0, {db2backupRecord(0, vObjTabHeader), {}, {}, {}, {}, db2backupRecord(0, vRecord)});
  vPages[8] = EmpPage({12, 20});
  vPages[9] = EmpPage({});
  vPages[10] = EmpPage({});
  vPages[11] = EmpPage({});
  vPages[12] = TablePage0(6);
  for (uint32_t k = 1; k < 8; k++) vPages[k < 4 ? 12 + k : 16 + k] = db2backupPage(P, k, {});
  for (auto &page : vPages) db2backupTearPage(page.data(), P);
  db2backupImage image;
  db2backupBegin(image, 65536);
  db2backupAddObject(image, 11, 3, 0, 0, db2backupTbsDef(3, 2, 4, P));
  auto part = [&](size_t b, size_t e) {
    return Concat(std::vector<db2backupBytes>(vPages.begin() + b, vPages.begin() + e));
  };
  db2backupAddObject(image, 12, 3, 0, 0, part(0, 10));
  db2backupAddObject(image, 12, 3, 0, 10, part(10, 14));
  db2backupPadToBuffer(image);
  db2backupAddObject(image, 12, 3, 0, 14, part(14, 24));
  db2backupAddObject(image, 18, 0, 0, 0, {});
  return image;
}

}  // namespace

TEST(ZorbkDMS, ReadNextFollowsTheExtentMapToTheLastPage)
{
  zavtestTempDir dir;
  ASSERT_TRUE(db2backupWrite(DmsImage(), dir.file("img")));
  int rc = -1;
  zorbk *pzorbk = Open(dir.file("img"), &rc);
  ASSERT_NE(pzorbk, nullptr);
  EXPECT_EQ(zorbkDetermineType(pzorbk, 3), 2);
  {
    TestTs t(pzorbk, true);
    zorbkPageSource *pps = zorbkOpenDMSTableDat(&t.ts, 3, 5, &rc);
    ASSERT_NE(pps, nullptr) << std::hex << rc;
    t.ts.pPageSource = pps;
    EXPECT_EQ(t.ts.ilPageCount, 6);
    EXPECT_EQ(t.ts.tbdesc.sColumnCount, 1);
    std::vector<uint32_t> vPages;
    unsigned char *pucPage;
    while ((pucPage = zorbkReadNextDMSDat(&t.ts, &rc)) != nullptr || rc == 0)
      if (pucPage != nullptr) vPages.push_back(obyteGetLE32(pucPage + 28));
    EXPECT_EQ(vPages, (std::vector<uint32_t>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(rc, 0x1139002);

    unsigned char *pucTwo = zorbkReadAbsDMSDatPage(&t.ts, 13, nullptr, 2, ZORTS_READ_RESTORE, &rc);
    ASSERT_NE(pucTwo, nullptr);
    EXPECT_EQ(obyteGetLE32(pucTwo + 28), 1u);
    EXPECT_EQ(obyteGetLE32(pucTwo + P + 28), 2u);
    std::free(pucTwo);
    EXPECT_EQ(zorbkReadAbsDMSDatPage(&t.ts, 24, nullptr, 1, 0, &rc), nullptr);
    EXPECT_EQ(rc, ZORBK_RC_NOPAGE);
    t.ts.pPageSource = nullptr;
    zorbkDMSPSDestroy(pps);
  }
  {
    TestTs t(pzorbk, true);
    rc = 0;
    EXPECT_EQ(zorbkOpenDMSTableDat(&t.ts, 3, 6, &rc), nullptr);   /* not in the object table */
    EXPECT_EQ(rc, ZORBK_RC_NOTABLE);
    rc = -1;
    EXPECT_EQ(zorbkOpenDMSTableDat(&t.ts, 4, 5, &rc), nullptr);   /* table space not in the image */
    EXPECT_EQ(rc, 0);
  }
  bkimageFree(pzorbk);
}

TEST(ZorbkDMS, ExtentHeldByNoObjectIsAReadError)
{
  zavtestTempDir dir;
  db2backupImage image = DmsImage();
  /* drop the last object: table-space pages 14 to 23 are not in the image */
  size_t ulLast = 4096 + 65536;
  image.bytes.resize(ulLast);
  db2backupAddObject(image, 18, 0, 0, 0, {});
  ASSERT_TRUE(db2backupWrite(image, dir.file("img")));
  int rc = -1;
  zorbk *pzorbk = Open(dir.file("img"), &rc);
  ASSERT_NE(pzorbk, nullptr);
  {
    TestTs t(pzorbk, true);
    zorbkPageSource *pps = zorbkOpenDMSTableDat(&t.ts, 3, 5, &rc);
    ASSERT_NE(pps, nullptr) << std::hex << rc;
    t.ts.pPageSource = pps;
    std::vector<uint32_t> vPages;
    unsigned char *pucPage;
    while ((pucPage = zorbkReadNextDMSDat(&t.ts, &rc)) != nullptr) vPages.push_back(obyteGetLE32(pucPage + 28));
    EXPECT_EQ(vPages, (std::vector<uint32_t>{0, 1}));
    EXPECT_EQ(rc, 0x113a003);
    t.ts.pPageSource = nullptr;
    zorbkDMSPSDestroy(pps);
  }
  bkimageFree(pzorbk);
}

/* ---------------------------------------------------------- file names */

TEST(ZorbkFileEntry, DecomposeFileNames)
{
  struct Case {
    const char *pcName;
    int rc;
    const char *pcDirectory = nullptr;   /* nullptr: none */
    const char *pcAlias = nullptr;
    int32_t ilType = 0, ilNode = 0, ilCatn = 0, ilSequence = 0;
    const char *pcInstance = nullptr;
  } aCases[] = {
      {"/bk/SAMPLE.0.db2inst1.NODE0000.CATN0000.20030115103000.001", 0, "/bk", "SAMPLE", 0, 0, 0, 1, "db2inst1"},
      {"SAMPLE.0.db2inst1.node0001.catn0000.20030115103000.001", 0, nullptr, "SAMPLE", 0, 1, 0, 1, "db2inst1"},
      {"/a/b.c/MY.DB.3.inst.NODE0012.CATN0002.20240101000000.17", 0, "/a/b.c", "MY.DB", 3, 12, 2, 17, "inst"},
      {"SAMPLE.0.db2inst1.NODE0000.CATN0000.20030115103000.00a", ZORBK_RC_BADNAME},
      {"SAMPLE.0.db2inst1.NODE0000.CATN0000.2003011510300.001", ZORBK_RC_BADNAME},
      {"SAMPLE.0.db2inst1.NODE0000.CATN0000.20030115103000.", ZORBK_RC_BADNAME},
      {"SAMPLE.0.db2inst1.NODE0000.CATX0000.20030115103000.001", ZORBK_RC_BADNAME},
      {"SAMPLE.0.db2inst1.NOD00000.CATN0000.20030115103000.001", ZORBK_RC_BADNAME},
      {"SAMPLE.0.db2inst1.NODE000A.CATN0000.20030115103000.001", ZORBK_RC_BADNAME},
      {"SAMPLE.x.db2inst1.NODE0000.CATN0000.20030115103000.001", ZORBK_RC_BADNAME},
      {"0.db2inst1.NODE0000.CATN0000.20030115103000.001", ZORBK_RC_BADNAME},
      {"/bk/.0.db2inst1.NODE0000.CATN0000.20030115103000.001", ZORBK_RC_BADNAME},
      {"SAMPLE.0.averyverylonginstance.NODE0000.CATN0000.20030115103000.001", ZORBK_RC_BADNAME},
      {"NODE0000.CATN0000.20030115103000.001", ZORBK_RC_BADNAME},
      {"nodots", ZORBK_RC_BADNAME},
      {"", ZORBK_RC_BADNAME},
  };
  for (const Case &c : aCases) {
    SCOPED_TRACE(c.pcName);
    zorbkFileEntry *pentry = zorbkFileEntryCreate(MakeText(c.pcName), 0);
    ASSERT_NE(pentry, nullptr);
    EXPECT_EQ(zorbkFileEntryDecomposeFileName(pentry), c.rc);
    if (c.rc == 0) {
      if (c.pcDirectory == nullptr) EXPECT_EQ(pentry->pcDirectory, nullptr);
      else EXPECT_STREQ(pentry->pcDirectory, c.pcDirectory);
      ASSERT_NE(pentry->pcharAlias, nullptr);
      EXPECT_EQ(std::string(pentry->pcharAlias->pcData, pentry->pcharAlias->ilBU), c.pcAlias);
      EXPECT_EQ(pentry->pcharAlias->usCCSID, 850);
      EXPECT_EQ(pentry->ilType, c.ilType);
      EXPECT_EQ(pentry->ilNode, c.ilNode);
      EXPECT_EQ(pentry->ilPart, c.ilNode);   /* the run step reads the image for that partition only */
      EXPECT_EQ(pentry->ilCatn, c.ilCatn);
      EXPECT_EQ(pentry->ilSequence, c.ilSequence);
      EXPECT_STREQ(pentry->acInstance, c.pcInstance);
      EXPECT_STREQ(pentry->acDate, std::string(c.pcName).substr(std::string(c.pcName).rfind('.') - 14, 8).c_str());
      EXPECT_EQ(std::string(pentry->acTime, 6), std::string(c.pcName).substr(std::string(c.pcName).rfind('.') - 6, 6));
    } else {
      EXPECT_EQ(pentry->pcharAlias, nullptr);
      EXPECT_EQ(pentry->pcDirectory, nullptr);
    }
    zorbkFileEntryDestroy(pentry);
  }
}

TEST(ZorbkFileEntry, SeveralImageFilesOfOneBackup)
{
  zavtestTempDir dir;
  std::vector<zorbkFileEntry *> vEntries;
  for (int iSeq = 1; iSeq <= 2; iSeq++) {
    db2backupImage image;
    db2backupBegin(image, 8192);
    db2backupAddObject(image, 0, 2, 5, 10 * iSeq, db2backupBytes(P, 0));
    std::string strName = dir.file(("SAMPLE.0.zavinst.NODE0001.CATN0000.20260101120000.00" + std::to_string(iSeq)).c_str());
    ASSERT_TRUE(db2backupWrite(image, strName));
    vEntries.push_back(zorbkFileEntryCreate(MakeText(strName), 0));
  }
  for (int i = 0; i < 2; i++) {
    zorbkFileEntry *pentry = vEntries[i];
    ASSERT_EQ(zorbkFileEntryDecomposeFileName(pentry), 0);
    EXPECT_EQ(pentry->ilSequence, i + 1);
    EXPECT_EQ(pentry->ilNode, 1);
    EXPECT_STREQ(pentry->pcDirectory, dir.path.c_str());
    int rc = -1;
    pentry->pzorbk = zorbkCreate(pentry->pcharFileName, pentry->pcharAlias, nullptr, &rc);
    ASSERT_NE(pentry->pzorbk, nullptr);
    ASSERT_EQ(pentry->pzorbk->ilIndexCount, 1);
    EXPECT_EQ(pentry->pzorbk->pindex[0].ilFirstPage, 10 * (i + 1));
  }
  /* the list callbacks copy the name and partition only */
  zorbkFileEntry *pcopy = static_cast<zorbkFileEntry *>(zorbkFileEntryCloneItem(nullptr, vEntries[0]));
  ASSERT_NE(pcopy, nullptr);
  EXPECT_EQ(pcopy->pzorbk, nullptr);
  EXPECT_EQ(pcopy->pcharAlias, nullptr);
  EXPECT_EQ(std::string(pcopy->pcharFileName->pcData, pcopy->pcharFileName->ilBU),
            std::string(vEntries[0]->pcharFileName->pcData, vEntries[0]->pcharFileName->ilBU));
  zorbkFileEntryDestroyItem(nullptr, pcopy);
  for (zorbkFileEntry *pentry : vEntries) {
    bkimageFree(pentry->pzorbk);
    zorbkFileEntryDestroy(pentry);
  }
}
