/*
** zortsemp_test.cpp
**   Extent-map walk, page lookup and object-table lookup through a
**   table-space object, over in-memory table spaces of known content.
*/
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "common/obyte.h"
#include "storage/zortsemp.h"
#include "tests/storage/empspace.h"

namespace {

struct Walk {
  bool bCreated = false;
  int iCreateCode = 0;
  std::vector<uint32_t> vExtents;
  int iEndCode = 0;
};

/* Walks the map at ulFirstEmp to its end (at most 10000 extents). */
Walk walkMap(empTs &ts, uint32_t ulFirstEmp)
{
  Walk w;
  zortsEmpIterator *piter = zortsEmpIteratorCreate(&ts.ts, ulFirstEmp, &w.iCreateCode);
  w.bCreated = piter != nullptr;
  if (piter == nullptr) return w;
  uint32_t ulExtent;
  int iCode;
  while ((iCode = zortsGetNextExtentPos(&ts.ts, piter, &ulExtent)) == 0 && w.vExtents.size() < 10000)
    w.vExtents.push_back(ulExtent);
  w.iEndCode = iCode;
  /* once ended, the walk stays ended */
  EXPECT_EQ(zortsGetNextExtentPos(&ts.ts, piter, &ulExtent), ZORTS_RC_ENDEMP);
  zortsEmpIteratorDestroy(piter);
  return w;
}

/* Indirect page entries: 984 single-indirect entries all at ulSingle, except the last at ulLast,
** then the double-indirect entries given. */
std::vector<uint32_t> indirect(uint32_t ulSingle, uint32_t ulLast, const std::vector<uint32_t> &vDouble)
{
  std::vector<uint32_t> v(984, ulSingle);
  v[983] = ulLast;
  v.insert(v.end(), vDouble.begin(), vDouble.end());
  return v;
}

}  // namespace

TEST(ZortsEmp, ObjectTablePositions)
{
  struct Case {
    int32_t iPageSize;
    uint32_t ulFlags;
    int32_t iObjId, iPage, iSlot, iPerPage;
  } aCases[] = {
      {4096, 0, 300, 1, 44, 256},        {4096, 0x100, 0x1E5, 0x701, 0xE5, 256},
      {4096, 0x100, 0x105, 1, 5, 256},   {8192, 0, 130, 2, 2, 64},
      {16384, 0, 300, 2, 44, 128},       {32768, 0, 300, 1, 44, 256},
      {2048, 0, 300, 18, 12, 16},        {1024, 0, 300, -1, -1, -1},
  };
  for (const Case &c : aCases) {
    zorts ts{};
    ts.ilPageSize = c.iPageSize;
    ts.ulTbsFlags = c.ulFlags;
    int32_t iPage = 7, iSlot = 7;
    EXPECT_EQ(zortsGetObjTabRecordPos(&ts, c.iObjId, &iPage, &iSlot), c.iPerPage) << c.iPageSize;
    EXPECT_EQ(iPage, c.iPage) << c.iPageSize << " id " << c.iObjId;
    EXPECT_EQ(iSlot, c.iSlot) << c.iPageSize << " id " << c.iObjId;
  }
}

TEST(ZortsEmp, OldLayoutRecordIsMovedToCurrentOffsets)
{
  unsigned char aucOld[ZORTS_OBJTAB_CURRENT_SIZE];
  for (int i = 0; i < ZORTS_OBJTAB_CURRENT_SIZE; i++) aucOld[i] = static_cast<unsigned char>(i + 1);
  aucOld[ZORTS_OBJTAB_MARKER] = ZORTS_OBJTAB_OLD_MARKER;
  unsigned char *pNew = zortsObjTabToLastVersion(aucOld);
  ASSERT_NE(pNew, nullptr);
  /* the fields the readers use: data object ids, first EMP and data pages, long objects */
  EXPECT_EQ(pNew[3], aucOld[12]);
  EXPECT_EQ(obyteGetLE16(pNew + 4), obyteGetLE16(aucOld + 16));
  EXPECT_EQ(obyteGetLE16(pNew + 6), obyteGetLE16(aucOld + 18));
  EXPECT_EQ(obyteGetLE32(pNew + 8), obyteGetLE32(aucOld + 20));
  EXPECT_EQ(obyteGetLE32(pNew + 16), obyteGetLE32(aucOld + 24));
  EXPECT_EQ(obyteGetLE16(pNew + 90), obyteGetLE16(aucOld + 90));
  EXPECT_EQ(0, memcmp(pNew + 40, aucOld + 40, 48));
  /* the crossed moves further on */
  EXPECT_EQ(obyteGetLE32(pNew + 96), obyteGetLE32(aucOld + 116));
  EXPECT_EQ(obyteGetLE32(pNew + 100), obyteGetLE32(aucOld + 96));
  EXPECT_EQ(obyteGetLE16(pNew + 110), obyteGetLE16(aucOld + 124));
  EXPECT_EQ(obyteGetLE16(pNew + 122), obyteGetLE16(aucOld + 110));
  /* fields the old layout lacks are zero, and the result is not taken for old again */
  EXPECT_EQ(obyteGetLE32(pNew + 12), 0u);
  EXPECT_EQ(obyteGetLE32(pNew + 20), 0u);
  EXPECT_EQ(obyteGetLE16(pNew + 26), 0u);
  EXPECT_NE(pNew[ZORTS_OBJTAB_MARKER], ZORTS_OBJTAB_OLD_MARKER);
  free(pNew);

  aucOld[ZORTS_OBJTAB_MARKER] = 'X';
  pNew = zortsObjTabToLastVersion(aucOld);
  ASSERT_NE(pNew, nullptr);
  EXPECT_EQ(0, memcmp(pNew, aucOld, ZORTS_OBJTAB_CURRENT_SIZE));
  free(pNew);
}

/* Extent size 4, 4 KB pages, the object's first EMP extent at pages 8-11 (11 the indirect page). */
TEST(ZortsEmp, WalkYieldsExtentsInMapOrder)
{
  struct Case {
    const char *pcName;
    std::function<void(empSpace &)> fnBuild;
    std::vector<uint32_t> vExtents;
  } aCases[] = {
      {"three extents on page 0, the rest empty",
       [](empSpace &s) { s.empExtent(8, {{100, 104, 108}}); }, {25, 26, 27}},
      {"leading empty direct pages are stepped over",
       [](empSpace &s) { s.empExtent(8, {{}, {}, {200}}); }, {50}},
      {"holes between direct pages, then single-indirect extents",
       [](empSpace &s) {
         s.empExtent(8, {{100, 104}, {}, {108}, {40, 44}});
         s.empExtent(40, {{112}, {}, {116, 120}});
         s.empExtent(44, {{}, {124}});
       },
       {25, 26, 27, 28, 29, 30, 31}},
      {"entry 983 addresses direct pages, entry 984 double-indirect pages",
       [](empSpace &s) {
         s.empExtent(8, {{}, {}, {}, indirect(40, 44, {48})});
         s.empExtent(40, {});
         s.empExtent(44, {{500}});
         s.empExtent(48, {{52}}, 2);
         s.empExtent(52, {{600}});
       },
       {125, 150}},
      {"double-indirect extents: every page, every entry, in order",
       [](empSpace &s) {
         s.empExtent(8, {{100}, {}, {}, indirect(40, 40, {48, 64})});
         s.empExtent(40, {});
         s.empExtent(48, {{52, 56}, {}, {60}}, 2);
         s.empExtent(64, {{68}}, 2);
         s.empExtent(52, {{700}});
         s.empExtent(56, {{}, {}, {}, {704}});
         s.empExtent(60, {{708}});
         s.empExtent(68, {{712, 716}});
       },
       {25, 175, 176, 177, 178, 179}},
      {"a map pointing back at itself still ends",
       [](empSpace &s) { s.empExtent(8, {{100}, {}, {}, {8}}); }, {25, 25, 2}},
  };
  for (const Case &c : aCases) {
    empSpace sp;
    c.fnBuild(sp);
    empTs ts(&sp);
    Walk w = walkMap(ts, 8);
    ASSERT_TRUE(w.bCreated) << c.pcName << ": 0x" << std::hex << w.iCreateCode;
    EXPECT_EQ(w.vExtents, c.vExtents) << c.pcName;
    EXPECT_EQ(w.iEndCode, ZORTS_RC_ENDEMP) << c.pcName;
    EXPECT_EQ(ts.iBadFlags, 0) << c.pcName << ": EMP pages are read with torn-page restoration";
  }
}

TEST(ZortsEmp, ObjectWithoutExtentsHasNoIterator)
{
  empSpace sp;
  sp.empExtent(8, {});
  empTs ts(&sp);
  Walk w = walkMap(ts, 8);
  EXPECT_FALSE(w.bCreated);
  EXPECT_EQ(w.iCreateCode, ZORTS_RC_ENDEMP);
  uint32_t ulExtent;
  EXPECT_EQ(zortsGetNextExtentPos(&ts.ts, nullptr, &ulExtent), ZORTS_RC_ENDEMP);
}

TEST(ZortsEmp, DamagedOrUnreadableMapsEndWithTheirCode)
{
  struct Case {
    const char *pcName;
    std::function<void(empSpace &, empTs &)> fnBuild;
    int iCreateCode;                   /* 0: created */
    std::vector<uint32_t> vExtents;    /* extents before the failure */
    int iEndCode;
  } aCases[] = {
      {"more entries than a page holds",
       [](empSpace &s, empTs &) {
         s.empExtent(8, {});
         db2empWriteEMP(s.page(8), s.ulPageSize, 0, {100}, 1001);
       },
       ZORTS_RC_BADMAP, {}, 0},
      {"header offset beyond the page",
       [](empSpace &s, empTs &) {
         s.empExtent(8, {{100}});
         obytePutLE16(s.page(8), 4090);
       },
       ZORTS_RC_BADMAP, {}, 0},
      {"an entry that does not start an extent",
       [](empSpace &s, empTs &) { s.empExtent(8, {{100, 103, 108}}); }, 0, {25}, ZORTS_RC_BADMAP},
      {"an indirect page of level 2",
       [](empSpace &s, empTs &) {
         s.empExtent(8, {{100}});
         s.emp(11, {40}, 2);
         s.empExtent(40, {{104}});
       },
       0, {25}, ZORTS_RC_BADMAP},
      {"a double-indirect extent whose first page is not of level 2",
       [](empSpace &s, empTs &) {
         s.empExtent(8, {{100}, {}, {}, indirect(40, 40, {48})});
         s.empExtent(40, {});
         s.empExtent(48, {{52}}, 0);
         s.empExtent(52, {{600}});
       },
       0, {25}, ZORTS_RC_BADMAP},
      {"the first EMP extent cannot be read",
       [](empSpace &s, empTs &t) {
         s.empExtent(8, {{100}});
         t.setFail.insert(10);
       },
       ZORTS_RC_READ, {}, 0},
      {"a direct extent cannot be read",
       [](empSpace &s, empTs &t) {
         s.empExtent(8, {{100}, {}, {}, {40}});
         s.empExtent(40, {{104}});
         t.setFail.insert(41);
       },
       0, {25}, ZORTS_RC_READ},
  };
  for (const Case &c : aCases) {
    empSpace sp;
    empTs ts(&sp);
    c.fnBuild(sp, ts);
    Walk w = walkMap(ts, 8);
    EXPECT_EQ(w.bCreated, c.iCreateCode == 0) << c.pcName;
    if (!w.bCreated) {
      EXPECT_EQ(w.iCreateCode, c.iCreateCode) << c.pcName;
      continue;
    }
    EXPECT_EQ(w.vExtents, c.vExtents) << c.pcName;
    EXPECT_EQ(w.iEndCode, c.iEndCode) << c.pcName;
  }
}

TEST(ZortsEmp, PageLookupFollowsTheWholeMap)
{
  empSpace sp;
  /* page 0 not full and a hole after it: extents past page 0 are not on page 0 */
  sp.empExtent(8, {{100, 104}, {}, {108}, indirect(40, 44, {48})});
  sp.empExtent(40, {{112}, {}, {116}});
  sp.empExtent(44, {{120}});
  sp.empExtent(48, {{52}, {56}}, 2);
  sp.empExtent(52, {{}, {124, 128}});
  sp.empExtent(56, {{132}});
  empTs ts(&sp);
  Walk w = walkMap(ts, 8);
  ASSERT_TRUE(w.bCreated);
  ASSERT_EQ(w.vExtents.size(), 3u + 983 * 2 + 1 + 3);

  int iCode = 0;
  zortsEmpIterator *piter = zortsEmpIteratorCreate(&ts.ts, 8, &iCode);
  ASSERT_NE(piter, nullptr);
  const uint32_t ulX = sp.ulExtent, ulPages = static_cast<uint32_t>(w.vExtents.size()) * ulX;
  /* backwards, so that every tier is re-entered */
  for (uint32_t p = ulPages; p-- > 0;) {
    uint32_t ulPage = zortsEmpToAbs(&ts.ts, piter, p, &iCode);
    ASSERT_EQ(iCode, 0) << "object page " << p;
    ASSERT_EQ(ulPage, w.vExtents[p / ulX] * ulX + p % ulX) << "object page " << p;
  }
  EXPECT_EQ(zortsEmpToAbs(&ts.ts, piter, ulPages, &iCode), 0u);
  EXPECT_EQ(iCode, ZORTS_RC_ENDEMP);

  /* lookups leave the walk where it was */
  std::vector<uint32_t> vWalk;
  uint32_t ulExtent;
  while (zortsGetNextExtentPos(&ts.ts, piter, &ulExtent) == 0) {
    vWalk.push_back(ulExtent);
    if (vWalk.size() == 3) zortsEmpToAbs(&ts.ts, piter, ulPages - 1, &iCode);
  }
  EXPECT_EQ(vWalk, w.vExtents);

  /* repeated lookups in one extent read nothing again */
  zortsEmpToAbs(&ts.ts, piter, ulPages - 2, &iCode);
  int iReads = ts.iReads;
  for (uint32_t p = ulPages - 4; p < ulPages; p++) zortsEmpToAbs(&ts.ts, piter, p, &iCode);
  EXPECT_EQ(ts.iReads, iReads);
  zortsEmpIteratorDestroy(piter);
  EXPECT_EQ(ts.iBadFlags, 0);
}

TEST(ZortsEmp, LookupOfADamagedTierFails)
{
  empSpace sp;
  sp.empExtent(8, {{100}, {}, {}, {40}});
  sp.empExtent(40, {{104, 106}});
  empTs ts(&sp);
  int iCode = 0;
  zortsEmpIterator *piter = zortsEmpIteratorCreate(&ts.ts, 8, &iCode);
  ASSERT_NE(piter, nullptr);
  EXPECT_EQ(zortsEmpToAbs(&ts.ts, piter, 1, &iCode), 101u);
  EXPECT_EQ(iCode, 0);
  EXPECT_EQ(zortsEmpToAbs(&ts.ts, piter, 5, &iCode), 105u);
  zortsEmpToAbs(&ts.ts, piter, 8, &iCode);   /* entry 106: not the start of an extent */
  EXPECT_EQ(iCode, ZORTS_RC_BADMAP);
  zortsEmpIteratorDestroy(piter);
  EXPECT_EQ(zortsEmpToAbs(&ts.ts, nullptr, 0, &iCode), 0u);
  EXPECT_EQ(iCode, ZORTS_RC_ENDEMP);
}

namespace {

/* Object table at extents 20 and 40 (extent size 4): object pages 0-3 at
** table-space pages 20-23, 4-7 at 40-43. */
void buildObjectTable(empSpace &sp)
{
  sp.emp(1, {20, 40});
  db2empObject o4;
  o4.usTbsId = 3, o4.usObjId = 4, o4.ulDataEmp = 96, o4.ulFirstData = 100;
  o4.usLOBTbsId = 5, o4.usLOBObjId = 4, o4.ulLOBEmp = 200;
  db2empObject o5 = o4;
  o5.usObjId = 5, o5.ulDataEmp = 120, o5.usLOBObjId = 9;
  std::vector<std::vector<unsigned char>> vPage0 = {db2empDataFileHeader(5), {}, {}, {},
                                                   db2empObjTabRecord(o4), db2empOldObjTabRecord(o5), {}};
  ASSERT_TRUE(db2empWriteDataPage(sp.page(20), sp.ulPageSize, 0, vPage0));
  std::vector<std::vector<unsigned char>> vPage1(45);
  db2empObject o300 = o4;
  o300.usObjId = 300, o300.ulDataEmp = 140;
  vPage1[44] = db2empObjTabRecord(o300);
  ASSERT_TRUE(db2empWriteDataPage(sp.page(21), sp.ulPageSize, 1, vPage1));
  db2empObject o1027 = o4;
  o1027.usObjId = 1027, o1027.ulDataEmp = 160;
  ASSERT_TRUE(db2empWriteDataPage(sp.page(40), sp.ulPageSize, 4, {{}, {}, {}, db2empObjTabRecord(o1027)}));
  /* object page 2: slot 0 runs past the page end, slot 1 points outside it */
  ASSERT_TRUE(db2empWriteDataPage(sp.page(22), sp.ulPageSize, 2, {db2empObjTabRecord(o4), db2empObjTabRecord(o4)}));
  const uint32_t ulSlots = DB2EMP_HEADER + 20;
  obytePutLE16(sp.page(22) + ulSlots, static_cast<uint16_t>(sp.ulPageSize - 60 - ulSlots));
  obytePutLE16(sp.page(22) + ulSlots + 2, 0x7FF0);
  db2empSeal(sp.page(22), sp.ulPageSize);
}

}  // namespace

TEST(ZortsEmp, ObjectTableRecordsAreFoundThroughPageOne)
{
  empSpace sp;
  buildObjectTable(sp);
  empTs ts(&sp);
  struct Case {
    int32_t iObjId;
    int iCode;
    uint32_t ulDataEmp;
    uint16_t usLOBObjId;
  } aCases[] = {
      {4, 0, 96, 4},                       /* object page 0, slot 4 */
      {5, 0, 120, 9},                      /* old layout, converted */
      {300, 0, 140, 4},                    /* object page 1, slot 44 */
      {1027, 0, 160, 4},                   /* object page 4: the second extent */
      {6, ZORTS_RC_ENDEMP, 0, 0},          /* empty slot */
      {7, ZORTS_RC_ENDEMP, 0, 0},          /* beyond the page's slots */
      {2049, ZORTS_RC_ENDEMP, 0, 0},       /* object page 8: not mapped */
      {512, ZORTS_RC_BADMAP, 0, 0},        /* record runs past the page */
      {513, ZORTS_RC_BADMAP, 0, 0},        /* slot outside the page */
  };
  for (const Case &c : aCases) {
    unsigned char *pRecord = nullptr;
    EXPECT_EQ(zortsFindObjTabRecord(&ts.ts, c.iObjId, &pRecord), c.iCode) << "object " << c.iObjId;
    if (c.iCode != 0) {
      EXPECT_EQ(pRecord, nullptr);
      continue;
    }
    ASSERT_NE(pRecord, nullptr);
    EXPECT_EQ(obyteGetLE16(pRecord + ZORTS_OBJTAB_DAT_OBJID), c.iObjId);
    EXPECT_EQ(obyteGetLE32(pRecord + ZORTS_OBJTAB_DAT_EMP), c.ulDataEmp);
    EXPECT_EQ(obyteGetLE32(pRecord + ZORTS_OBJTAB_DAT_FIRST), 100u);
    EXPECT_EQ(obyteGetLE16(pRecord + ZORTS_OBJTAB_LOB_OBJID), c.usLOBObjId);
    EXPECT_EQ(obyteGetLE32(pRecord + ZORTS_OBJTAB_LOB_EMP), 200u);
    free(pRecord);
  }
  EXPECT_EQ(ts.iBadFlags, 0);

  ts.setFail.insert(1);
  unsigned char *pRecord = nullptr;
  EXPECT_EQ(zortsFindObjTabRecord(&ts.ts, 4, &pRecord), ZORTS_RC_READ);
  EXPECT_EQ(pRecord, nullptr);
}
