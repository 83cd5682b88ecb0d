/*
** ficdmsemp_test.cpp
**   First-generation object-table and extent-map readers over container
**   files of known content: an image read at a start offset, and a table
**   space striped over two containers and read through the page mapping.
*/
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

#include "common/obyte.h"
#include "common/olist.h"
#include "storage/ficcont.h"
#include "storage/ficdmsemp.h"
#include "tests/storage/empspace.h"
#include "tests/zavtest.h"

namespace {

/*
** The table space: object table at extents 20 and 40 (page count 5), and
**   A (tbs 3, id 4)   data map at 96: {100, 104} {} {108} + indirect {60}: {112};
**                     long-field object 6, map at 200: {300, 304}
**   B (tbs 3, id 5)   old layout; data map at 120: {116}; LOB object 7, map at 220: {} {} {400}
**   C (tbs 4, id 4)   data map at 140: {120}
**   E (tbs 3, id 10)  data map at 160: {100, 104}
**   F (tbs 3, id 11)  data map at 180: {100, 105}, an entry off the extent start
*/
void buildSpace(empSpace &sp)
{
  sp.emp(1, {20, 40});
  db2empObject a;
  a.usTbsId = 3, a.usObjId = 4, a.ulDataEmp = 96, a.ulFirstData = 100;
  a.usLFTbsId = 3, a.usLFObjId = 6, a.ulLFEmp = 200;
  db2empObject b;
  b.usTbsId = 3, b.usObjId = 5, b.ulDataEmp = 120, b.ulFirstData = 116;
  b.usLOBTbsId = 3, b.usLOBObjId = 7, b.ulLOBEmp = 220;
  db2empObject c;
  c.usTbsId = 4, c.usObjId = 4, c.ulDataEmp = 140, c.ulFirstData = 120;
  db2empObject e;
  e.usTbsId = 3, e.usObjId = 10, e.ulDataEmp = 160, e.ulFirstData = 100;
  db2empObject f = e;
  f.usObjId = 11, f.ulDataEmp = 180;
  const uint32_t ulSize = sp.ulPageSize;
  db2empWriteDataPage(sp.page(20), ulSize, 0,
                      {db2empDataFileHeader(5), {}, {}, {}, db2empObjTabRecord(a), db2empOldObjTabRecord(b)});
  db2empWriteDataPage(sp.page(21), ulSize, 1, {});
  db2empWriteDataPage(sp.page(22), ulSize, 2, {{}, db2empObjTabRecord(c)});
  db2empWriteDataPage(sp.page(23), ulSize, 3, {});
  db2empWriteDataPage(sp.page(40), ulSize, 4, {db2empObjTabRecord(e), db2empObjTabRecord(f)});
  sp.empExtent(96, {{100, 104}, {}, {108}, {60}});
  sp.empExtent(60, {{112}});
  sp.empExtent(200, {{300, 304}});
  sp.empExtent(120, {{116}});
  sp.empExtent(220, {{}, {}, {400}});
  sp.empExtent(140, {{120}});
  sp.empExtent(160, {{100, 104}});
  sp.empExtent(180, {{100, 105}});
}

/* Writes page p of the space at p x page size + offset of the file. */
void writeImage(const empSpace &sp, const std::string &strPath, int64_t llOffset)
{
  int iFd = open(strPath.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
  ASSERT_GE(iFd, 0);
  /* junk just before the offset, so that a read ignoring it goes wrong */
  std::vector<unsigned char> vJunk(static_cast<size_t>(llOffset < 4096 ? llOffset : 4096), 0xEE);
  ASSERT_EQ(pwrite(iFd, vJunk.data(), vJunk.size(), static_cast<off_t>(llOffset) - static_cast<off_t>(vJunk.size())),
            static_cast<ssize_t>(vJunk.size()));
  for (const auto &[ulPage, v] : sp.mapPages)
    ASSERT_EQ(pwrite(iFd, v.data(), v.size(), static_cast<off_t>(ulPage) * sp.ulPageSize + llOffset),
              static_cast<ssize_t>(v.size()));
  close(iFd);
}

/* A DMS configuration of one stripe over two containers with one header page each. */
struct TwoContainers {
  ficdmsConf conf{};
  std::vector<unsigned char> vBuf0, vBuf1;
  int aiFd[2] = {-1, -1};

  TwoContainers(const empSpace &sp, const zavtestTempDir &dir, uint32_t ulLastExtent = 999)
  {
    conf.ilExtentSize = static_cast<int32_t>(sp.ulExtent);
    conf.ilPageSize = static_cast<int32_t>(sp.ulPageSize);
    conf.ilMapCbEntries = 1;
    conf.ilContainers = 2;
    conf.plistMapCb = olistCreate(0, _ficcontMapCbClone, _ficcontMapCbDestroy);
    conf.plistCont = olistCreate(0, _ficcontContClone, _ficcontContDestroy);
    auto *pcb = static_cast<ficcontMapCb *>(calloc(1, sizeof(ficcontMapCb)));
    pcb->ilLastExtent = static_cast<int32_t>(ulLastExtent);
    pcb->ilLastPage = static_cast<int32_t>((ulLastExtent + 1) * sp.ulExtent - 1);
    pcb->ilLastExtentRef = static_cast<int32_t>(ulLastExtent / 2);
    pcb->ilContainers = 2;
    pcb->pilContIds = static_cast<int32_t *>(malloc(2 * sizeof(int32_t)));
    pcb->pilContIds[0] = 0;
    pcb->pilContIds[1] = 1;
    olistAppend(conf.plistMapCb, pcb);
    for (int i = 0; i < 2; i++) {
      auto *pcont = static_cast<ficcontCont *>(calloc(1, sizeof(ficcontCont)));
      pcont->ilHeaderPages = 1;
      pcont->ilPageSize = conf.ilPageSize;
      olistAppend(conf.plistCont, pcont);
    }
    vBuf0.resize(sp.ulPageSize);
    vBuf1.resize(sp.ulPageSize);
    conf.apucPage[0] = vBuf0.data();
    conf.apucPage[1] = vBuf1.data();
    /* each page where the mapping puts it */
    for (int i = 0; i < 2; i++) {
      std::string strPath = dir.file(i == 0 ? "c0" : "c1");
      aiFd[i] = open(strPath.c_str(), O_CREAT | O_TRUNC | O_RDWR, 0644);
    }
    for (const auto &[ulPage, v] : sp.mapPages) {
      int32_t ilCont = -1;
      int32_t ilPhys = ficdmsIdentifyPage(&conf, 0, static_cast<int32_t>(ulPage), &ilCont);
      if (ilPhys < 0) continue;
      EXPECT_EQ(pwrite(aiFd[ilCont], v.data(), v.size(), static_cast<off_t>(ilPhys) * sp.ulPageSize),
                static_cast<ssize_t>(v.size()));
    }
  }
  ~TwoContainers()
  {
    for (int iFd : aiFd)
      if (iFd >= 0) close(iFd);
    olistDestroy(conf.plistMapCb);
    olistDestroy(conf.plistCont);
  }
};

/* An image configuration: pages at p x page size + offset of one file. */
struct Image {
  ficdmsConf conf{};
  std::vector<unsigned char> vBuf0, vBuf1;
  int aiFd[1] = {-1};

  Image(const empSpace &sp, const std::string &strPath, int64_t llOffset)
  {
    writeImage(sp, strPath, llOffset);
    conf.ilExtentSize = static_cast<int32_t>(sp.ulExtent);
    conf.ilPageSize = static_cast<int32_t>(sp.ulPageSize);
    vBuf0.resize(sp.ulPageSize);
    vBuf1.resize(sp.ulPageSize);
    conf.apucPage[0] = vBuf0.data();
    conf.apucPage[1] = vBuf1.data();
    aiFd[0] = open(strPath.c_str(), O_RDONLY);
  }
  ~Image()
  {
    if (aiFd[0] >= 0) close(aiFd[0]);
  }
};

/* Everything a pipe holds once its write end is closed. */
std::vector<uint32_t> drain(int aiPipe[2])
{
  close(aiPipe[1]);
  std::vector<uint32_t> v;
  unsigned char ac[4];
  while (read(aiPipe[0], ac, 4) == 4) v.push_back(obyteGetLE32(ac));
  close(aiPipe[0]);
  return v;
}

/* Page numbers of the extents at the given first pages, X each. */
std::vector<uint32_t> pagesOf(std::vector<uint32_t> vExtents, uint32_t ulX)
{
  std::vector<uint32_t> v;
  for (uint32_t ul : vExtents)
    for (uint32_t k = 0; k < ulX; k++) v.push_back(ul + k);
  return v;
}

}  // namespace

TEST(FicdmsEmp, ObjectTableFromAnImageAndFromStripedContainers)
{
  empSpace sp;
  buildSpace(sp);
  zavtestTempDir dir;
  const uint64_t ullOffset = 0x100000123ull;   /* above 4 GB, not page-aligned */
  Image img(sp, dir.file("image"), static_cast<int64_t>(ullOffset));
  TwoContainers two(sp, dir);
  struct Source {
    const char *pcName;
    ficdmsConf *pconf;
    const int *piFd;
    uint32_t ulLow, ulHigh;
  } aSources[] = {
      {"image", &img.conf, img.aiFd, static_cast<uint32_t>(ullOffset), static_cast<uint32_t>(ullOffset >> 32)},
      {"containers", &two.conf, two.aiFd, 0, 0},
  };
  for (const Source &s : aSources) {
    int32_t ilCount = 0;
    ficdmsTabObj *pentries = ficdmsInitTabObj(s.pconf, s.piFd, s.ulLow, s.ulHigh, &ilCount);
    ASSERT_NE(pentries, nullptr) << s.pcName;
    ASSERT_EQ(ilCount, 5) << s.pcName;
    struct Want {
      int16_t sTbs, sObj;
      int32_t ilEmp, ilFirst, ilLF, ilLOB;
      int16_t sLFObj, sLOBObj;
    } aWant[] = {{3, 4, 96, 100, 200, 0, 6, 0},  {3, 5, 120, 116, 0, 220, 0, 7}, {4, 4, 140, 120, 0, 0, 0, 0},
                 {3, 10, 160, 100, 0, 0, 0, 0}, {3, 11, 180, 100, 0, 0, 0, 0}};
    for (int i = 0; i < 5; i++) {
      const ficdmsTabObj &o = pentries[i];
      const Want &w = aWant[i];
      EXPECT_EQ(o.sTbsId, w.sTbs) << s.pcName << " entry " << i;
      EXPECT_EQ(o.sObjId, w.sObj) << s.pcName << " entry " << i;
      EXPECT_EQ(o.ilDataEmp, w.ilEmp) << s.pcName << " entry " << i;
      EXPECT_EQ(o.ilFirstData, w.ilFirst) << s.pcName << " entry " << i;
      EXPECT_EQ(o.ilLFEmp, w.ilLF) << s.pcName << " entry " << i;
      EXPECT_EQ(o.ilLOBEmp, w.ilLOB) << s.pcName << " entry " << i;
      EXPECT_EQ(o.sLFObjId, w.sLFObj) << s.pcName << " entry " << i;
      EXPECT_EQ(o.sLOBObjId, w.sLOBObj) << s.pcName << " entry " << i;
    }

    /* lookups match table-space id and object id together */
    int32_t ilPage = -7, ilEmp = -7;
    EXPECT_EQ(ficdmsGetFirstDataPage(pentries, ilCount, 4, 4, &ilPage), 0);
    EXPECT_EQ(ilPage, 120);
    EXPECT_EQ(ficdmsGetFirstPages(pentries, ilCount, 4, 3, &ilEmp, &ilPage), 0);
    EXPECT_EQ(ilEmp, 96);
    EXPECT_EQ(ilPage, 100);
    ilPage = -7;
    EXPECT_EQ(ficdmsGetFirstDataPage(pentries, ilCount, 4, 9, &ilPage), FICDMS_RC_NOT_FOUND);
    EXPECT_EQ(ilPage, -7);

    /* data pages through the pipe: word 0, then X pages per extent */
    int aiPipe[2];
    ASSERT_EQ(pipe(aiPipe), 0);
    EXPECT_EQ(ficdmsGetDataPages(s.pconf, s.piFd, s.ulLow, s.ulHigh, pentries, ilCount, 10, 3, aiPipe[1]), 0);
    std::vector<uint32_t> vWant = {100, 100, 101, 102, 103, 104, 105, 106, 107};
    EXPECT_EQ(drain(aiPipe), vWant) << s.pcName;
    ASSERT_EQ(pipe(aiPipe), 0);
    EXPECT_EQ(ficdmsGetDataPages(s.pconf, s.piFd, s.ulLow, s.ulHigh, pentries, ilCount, 4, 3, aiPipe[1]), 0);
    vWant = pagesOf({100, 104, 108, 112}, 4);
    vWant.insert(vWant.begin(), 100);
    EXPECT_EQ(drain(aiPipe), vWant) << s.pcName << ": holes and the indirect tier";

    /* long-field and LOB extent lists */
    int32_t ilN = -7;
    int32_t *pil = ficdmsGetLFPages(s.pconf, s.piFd, s.ulLow, s.ulHigh, pentries, ilCount, 4, 3, &ilN);
    ASSERT_EQ(ilN, 2) << s.pcName;
    EXPECT_EQ(pil[0], 300);
    EXPECT_EQ(pil[1], 304);
    free(pil);
    pil = ficdmsGetLOBPages(s.pconf, s.piFd, s.ulLow, s.ulHigh, pentries, ilCount, 5, 3, &ilN);
    ASSERT_EQ(ilN, 1) << s.pcName;
    EXPECT_EQ(pil[0], 400);
    free(pil);
    EXPECT_EQ(ficdmsGetLOBPages(s.pconf, s.piFd, s.ulLow, s.ulHigh, pentries, ilCount, 4, 3, &ilN), nullptr);
    EXPECT_EQ(ilN, 0) << "no LOB object";
    EXPECT_EQ(ficdmsGetLFPages(s.pconf, s.piFd, s.ulLow, s.ulHigh, pentries, ilCount, 99, 3, &ilN), nullptr);
    EXPECT_EQ(ilN, -1) << "no such table";
    ficdmsFreeTabObj(pentries, ilCount);
  }
}

TEST(FicdmsEmp, BrokenPagesAndPipesEndTheListWithTheirCode)
{
  signal(SIGPIPE, SIG_IGN);
  empSpace sp;
  buildSpace(sp);
  zavtestTempDir dir;
  Image img(sp, dir.file("image"), 512);
  int32_t ilCount = 0;
  ficdmsTabObj *pentries = ficdmsInitTabObj(&img.conf, img.aiFd, 512, 0, &ilCount);
  ASSERT_EQ(ilCount, 5);

  /* an entry off an extent start: the pages before it are listed, then the code */
  int aiPipe[2];
  ASSERT_EQ(pipe(aiPipe), 0);
  EXPECT_EQ(ficdmsGetDataPages(&img.conf, img.aiFd, 512, 0, pentries, ilCount, 11, 3, aiPipe[1]), ZORTS_RC_BADMAP);
  std::vector<uint32_t> vWant = {100, 100, 101, 102, 103};
  EXPECT_EQ(drain(aiPipe), vWant);

  /* a reader that went away */
  ASSERT_EQ(pipe(aiPipe), 0);
  close(aiPipe[0]);
  EXPECT_EQ(ficdmsGetDataPages(&img.conf, img.aiFd, 512, 0, pentries, ilCount, 10, 3, aiPipe[1]), FICDMS_RC_PIPE);
  close(aiPipe[1]);

  /* an unknown table writes nothing */
  ASSERT_EQ(pipe(aiPipe), 0);
  EXPECT_EQ(ficdmsGetDataPages(&img.conf, img.aiFd, 512, 0, pentries, ilCount, 12, 3, aiPipe[1]),
            FICDMS_RC_NOT_FOUND);
  EXPECT_TRUE(drain(aiPipe).empty());

  /* a container that ends inside an EMP page of A's map */
  ASSERT_EQ(truncate(dir.file("image").c_str(), 512 + 96 * 4096 + 1000), 0);
  int32_t ilN = 0;
  EXPECT_EQ(ficdmsGetLFPages(&img.conf, img.aiFd, 512, 0, pentries, ilCount, 4, 3, &ilN), nullptr);
  EXPECT_EQ(ilN, -1);
  EXPECT_EQ(_ficdmsReadPage(img.aiFd, 96, 512, 0, img.vBuf0.data(), &img.conf), FICDMS_RC_SHORT_READ);

  /* a container that is not open */
  int aiClosed[1] = {-1};
  EXPECT_EQ(_ficdmsReadPage(aiClosed, 1, 512, 0, img.vBuf0.data(), &img.conf), ZORTS_RC_READ);
  ficdmsFreeTabObj(pentries, ilCount);
}

TEST(FicdmsEmp, DamagedObjectTablesAreRefused)
{
  struct Case {
    const char *pcName;
    void (*fnDamage)(empSpace &);
  } aCases[] = {
      {"page count beyond the mapped pages",
       [](empSpace &s) {
         std::vector<std::vector<unsigned char>> v = {db2empDataFileHeader(9)};
         db2empWriteDataPage(s.page(20), s.ulPageSize, 0, v);
       }},
      {"page count of zero",
       [](empSpace &s) { db2empWriteDataPage(s.page(20), s.ulPageSize, 0, {db2empDataFileHeader(0)}); }},
      {"no data-file header", [](empSpace &s) { db2empWriteDataPage(s.page(20), s.ulPageSize, 0, {}); }},
      {"a slot outside its page",
       [](empSpace &s) {
         obytePutLE16(s.page(22) + DB2EMP_HEADER + 20 + 2, 0x7FF0);
         db2empSeal(s.page(22), s.ulPageSize);
       }},
      {"no extent for the object table", [](empSpace &s) { s.emp(1, {}); }},
      {"an object-table extent off an extent start", [](empSpace &s) { s.emp(1, {20, 41}); }},
  };
  for (const Case &c : aCases) {
    empSpace sp;
    buildSpace(sp);
    c.fnDamage(sp);
    zavtestTempDir dir;
    Image img(sp, dir.file("image"), 4096);
    int32_t ilCount = 0;
    EXPECT_EQ(ficdmsInitTabObj(&img.conf, img.aiFd, 4096, 0, &ilCount), nullptr) << c.pcName;
    EXPECT_EQ(ilCount, -1) << c.pcName;
  }
}

TEST(FicdmsEmp, PagesWithoutAContainerAreNotRead)
{
  empSpace sp;
  buildSpace(sp);
  zavtestTempDir dir;
  TwoContainers two(sp, dir, 49);   /* the stripes end with extent 49 (page 199) */
  int32_t ilCount = 0;
  ficdmsTabObj *pentries = ficdmsInitTabObj(&two.conf, two.aiFd, 0, 0, &ilCount);
  ASSERT_EQ(ilCount, 5);
  int32_t ilN = 0;
  EXPECT_EQ(ficdmsGetLFPages(&two.conf, two.aiFd, 0, 0, pentries, ilCount, 4, 3, &ilN), nullptr);
  EXPECT_EQ(ilN, -1);
  EXPECT_EQ(_ficdmsReadPage(two.aiFd, 200, 0, 0, two.vBuf0.data(), &two.conf), ZORTS_RC_BADMAP);
  ficdmsFreeTabObj(pentries, ilCount);
}

/*
** Objects 1 to 3 share object page 0 with the data-file header: object 2's
** record at its position (slot 2), object 3's record one slot away from its
** position (slot 4), and slot 5, the position of object 5, holding object
** 9's record.  The forked reader's object table and the table-space
** object's lookup find the same record for each, or none for both.
*/
TEST(FicdmsEmp, LowObjectIdsAreFoundWhereverTheirRecordLies)
{
  empSpace sp;
  sp.emp(1, {20});
  auto object = [](uint16_t usObjId, uint32_t ulFirst) {
    db2empObject o;
    o.usTbsId = 3, o.usObjId = usObjId, o.ulDataEmp = 96, o.ulFirstData = ulFirst;
    return db2empObjTabRecord(o);
  };
  ASSERT_TRUE(db2empWriteDataPage(sp.page(20), sp.ulPageSize, 0,
                                  {db2empDataFileHeader(1), {}, object(2, 200), {}, object(3, 300), object(9, 900)}));
  zavtestTempDir dir;
  Image img(sp, dir.file("image"), 4096);
  int32_t ilCount = 0;
  ficdmsTabObj *pentries = ficdmsInitTabObj(&img.conf, img.aiFd, 4096, 0, &ilCount);
  ASSERT_NE(pentries, nullptr);
  empTs ts(&sp);
  struct {
    int32_t ilObjId;
    int32_t ilFirst;   /* -1: not found */
  } aCases[] = {{2, 200}, {3, 300}, {9, 900}, {5, -1}, {1, -1}, {0, -1}};
  for (const auto &c : aCases) {
    SCOPED_TRACE("object " + std::to_string(c.ilObjId));
    int32_t ilPage = -7;
    EXPECT_EQ(ficdmsGetFirstDataPage(pentries, ilCount, c.ilObjId, 3, &ilPage), c.ilFirst < 0 ? FICDMS_RC_NOT_FOUND : 0);
    if (c.ilFirst >= 0) {
      EXPECT_EQ(ilPage, c.ilFirst);
    }
    unsigned char *pRecord = nullptr;
    EXPECT_EQ(zortsFindObjTabRecord(&ts.ts, c.ilObjId, &pRecord), c.ilFirst < 0 ? ZORTS_RC_ENDEMP : 0);
    if (c.ilFirst >= 0) {
      ASSERT_NE(pRecord, nullptr);
      EXPECT_EQ(obyteGetLE16(pRecord + 6), static_cast<uint32_t>(c.ilObjId));
      EXPECT_EQ(obyteGetLE32(pRecord + 16), static_cast<uint32_t>(c.ilFirst));
    }
    free(pRecord);
  }
  ficdmsFreeTabObj(pentries, ilCount);
}
