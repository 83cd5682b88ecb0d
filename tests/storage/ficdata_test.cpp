/*
** ficdata_test.cpp
**   Data pages and records: pages built with tools/db2pages.h from known
**   column values and read back through the slot directory, the table
**   descriptor, the record decoder (copied and value-compressed records, the
**   WHERE test, long fields and LOBs from the children's pipes) and the
**   sampler; damaged pages and records refused with their codes.
*/
#include "storage/ficdata.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/obyte.h"
#include "common/ochar.h"
#include "common/odict.h"
#include "expr/zornodeeval.h"
#include "model/orow.h"
#include "tests/zavtest.h"
#include "tools/db2pages.h"

namespace {

using db2pages::Bytes;
using db2pages::Column;
using db2pages::Value;
using db2pages::val;

/* Every stored type, each nullable and not. */
const std::vector<Column> gcolsAll = {
    {0, 2, false},   {0, 2, true},          /* SMALLINT */
    {1, 4, false},   {1, 4, true},          /* INTEGER */
    {2, 7, false, 2}, {2, 31, true, 2},     /* DECIMAL(7,2), DECIMAL(31,2) */
    {3, 8, false},   {4, 4, true},  {5, 8, false},
    {256, 5, false}, {256, 3, true},        /* CHAR */
    {257, 20, false}, {257, 20, true},      /* VARCHAR */
    {261, 4, false}, {261, 4, true},        /* DATE */
    {262, 3, false}, {262, 3, true},        /* TIME */
    {263, 10, false}, {263, 10, true},      /* TIMESTAMP */
    {512, 4, false}, {512, 4, true},        /* GRAPHIC(2) */
    {513, 20, false}, {513, 20, true},      /* VARGRAPHIC */
};

Bytes B(std::initializer_list<int> l)
{
  Bytes b;
  for (int i : l) b.push_back(static_cast<unsigned char>(i));
  return b;
}

std::vector<Value> allValues()
{
  return {val(B({0x34, 0x12})), db2pages::null(),
          val(B({1, 2, 3, 4})), val(B({5, 6, 7, 8})),
          val(B({0x12, 0x34, 0x56, 0x7C})), val(Bytes(16, 0x11)),
          val(Bytes(8, 0xA1)), db2pages::null(), val(Bytes(8, 0xA3)),
          val(std::string("ABCDE")), val(std::string("xyz")),
          val(std::string("varchar")), val(std::string("")),
          val(B({0x20, 0x04, 0x03, 0x15})), db2pages::null(),
          val(B({0x10, 0x20, 0x30})), val(B({0x23, 0x59, 0x59})),
          val(B({0x20, 0x04, 0x03, 0x15, 0x10, 0x20, 0x30, 0x12, 0x34, 0x56})), db2pages::null(),
          val(B({0, 'A', 0, 'B'})), db2pages::null(),
          val(B({0, 'g', 0, 'r', 0, 'a'})), val(B({0, 'h'}))};
}

/* Numbers below a bound from a seeded generator: the same damage on every run. */
struct Lcg {
  uint32_t ulSeed;
  uint32_t operator()(uint32_t ulBound)
  {
    ulSeed = ulSeed * 1103515245u + 12345u;
    return (ulSeed >> 8) % ulBound;
  }
};

/* The table description of some columns, through the descriptor record on a page. */
ficdataTableDesc describe(const std::vector<Column> &cols, size_t ulPageSize = 4096)
{
  Bytes page = db2pages::firstPage(ulPageSize, 10, cols, {});
  ficdataSlots slots;
  EXPECT_EQ(ficdataReadSlots(page.data(), static_cast<int32_t>(page.size()), &slots), 0);
  ficdataTableDesc desc = {};
  EXPECT_EQ(_ficdataReadTableDescriptorRecord(nullptr, page.data(), static_cast<int32_t>(page.size()),
                                              slots.ailOffset[3], &desc), 0);
  return desc;
}

/* Decodes the record in slot iSlot of a page into a buffer of the table's size. */
struct Decoded {
  int rc = 0;
  Bytes rec;
};
Decoded decode(const Bytes &page, int iSlot, const ficdataTableDesc &desc, ficdata *pficdata = nullptr,
               const ficdataInfoLong *pinfo = nullptr, ficdataPair *apair = nullptr, int iPairs = 0,
               int32_t ilBuffer = 0)
{
  ficdataSlots slots;
  EXPECT_EQ(ficdataReadSlots(page.data(), static_cast<int32_t>(page.size()), &slots), 0);
  if (ilBuffer == 0) ilBuffer = ficdataSizeEnreg(&desc);
  Bytes buf(static_cast<size_t>(ilBuffer), 0xEE);
  int32_t ilLength = -1;
  Decoded d;
  d.rc = _ficdataReadDB2DataRecord(pficdata, page.data(), static_cast<int32_t>(page.size()),
                                   slots.ailOffset[iSlot], &desc, pinfo, apair, iPairs, buf.data(), ilBuffer,
                                   &ilLength);
  if (d.rc == 0) d.rec.assign(buf.begin(), buf.begin() + ilLength);
  return d;
}

/* The expanded form of a record: bytes 0-3 are not set from the record. */
Bytes expandedForm(Bytes rec)
{
  std::memset(rec.data(), 0, 4);
  return rec;
}

/* -------------------------------------------------------------- slots */

TEST(FicdataSlots, PagesOfEverySizeReadBack)
{
  for (size_t ulSize : {4096u, 8192u, 16384u, 32768u}) {
    Bytes r0 = db2pages::row({{1, 4, false}}, {val(B({1, 0, 0, 0}))}, 0);
    Bytes r1 = db2pages::row({{1, 4, false}}, {val(B({2, 0, 0, 0}))}, 4);
    Bytes page = db2pages::page(ulSize, 7, {r0, {}, r1, db2pages::pointer(9, 3), db2pages::other(1)});
    ficdataSlots slots;
    ASSERT_EQ(ficdataReadSlots(page.data(), static_cast<int32_t>(ulSize), &slots), 0) << ulSize;
    ASSERT_EQ(slots.ilCount, 5);
    EXPECT_EQ(slots.aiKind[0], 0);
    EXPECT_EQ(slots.aiKind[1], FICDATA_KIND_EMPTY);
    EXPECT_EQ(slots.ailOffset[1], -1);
    EXPECT_EQ(slots.aiKind[2], 4);
    EXPECT_EQ(slots.aiKind[3], 2);
    EXPECT_EQ(slots.aiKind[4], 1);
    EXPECT_EQ(0, std::memcmp(page.data() + slots.ailOffset[2], r1.data(), r1.size()));
    EXPECT_EQ(obyteGetLE32(page.data() + FICDATA_PAGE_NUMBER), 7u);
  }
}

TEST(FicdataSlots, DamagedDirectoriesAreRefused)
{
  struct Case {
    const char *pcWhat;
    int iDir;         /* slot directory offset */
    int iCount;       /* slot count */
    int iSlot0;       /* value of slot 0 */
    int32_t ilPageSize;
    int iExpected;
    int iSlots;       /* slots returned */
  } acases[] = {
      {"no slots", 48, 0, 0, 4096, 0, 0},
      {"negative count: no sound page has it", 48, -3, 0, 4096, FICDATA_RC_CORRUPT, 0},
      {"empty slot near a plausible offset", 48, 1, -1, 4096, 0, 1},
      {"directory outside the page", 5000, 1, 0, 4096, FICDATA_RC_CORRUPT, 0},
      {"count above 256", 48, 300, 0, 4096, FICDATA_RC_CORRUPT, 0},
      {"slots past the end", 4090, 10, 0, 4096, FICDATA_RC_TRUNCATED, 0},
      {"count word past the end", 4095, 1, 0, 4096, FICDATA_RC_TRUNCATED, 0},
      {"slot points past the page", 48, 2, 5000, 4096, FICDATA_RC_CORRUPT, 2},
      {"slot points before the page", 48, 2, -100, 4096, FICDATA_RC_CORRUPT, 2},
      {"not a page size", 48, 1, 0, 2048, ORC_INVALID, 0},
  };
  for (const Case &c : acases) {
    Bytes page(4096, 0);
    db2pages::putLE16(page, 0, static_cast<uint16_t>(c.iDir));
    if (c.iDir + 2 <= 4096) db2pages::putLE16(page, c.iDir, static_cast<uint16_t>(c.iCount));
    if (c.iDir + 24 <= 4096) {
      db2pages::putLE16(page, c.iDir + 20, static_cast<uint16_t>(c.iSlot0));
      db2pages::putLE16(page, c.iDir + 22, 100);
    }
    ficdataSlots slots;
    slots.ilCount = 99;
    EXPECT_EQ(ficdataReadSlots(page.data(), c.ilPageSize, &slots), c.iExpected) << c.pcWhat;
    EXPECT_EQ(slots.ilCount, c.iSlots) << c.pcWhat;
    if (c.iSlots == 2) {   /* the bad slot is marked, the good one is usable */
      EXPECT_EQ(slots.aiKind[0], FICDATA_KIND_DAMAGED);
      EXPECT_EQ(slots.ailOffset[1], c.iDir + 20 + 100);
    }
    if (c.iSlots == 1) {
      EXPECT_EQ(slots.aiKind[0], FICDATA_KIND_EMPTY);
    }
  }
}

/*
** The check every reader makes of a page before its records: the number the
** page carries against the object page its place promises, and a slot
** directory that gives some slot.  A page that fails is skipped, named and
** counted once.
*/
TEST(FicdataSlots, PageOfAnotherNumberOrWithoutSlotsIsSkippedNamedAndCounted)
{
  Bytes vGood = db2pages::page(4096, 7, {db2pages::other(0), db2pages::other(0)});
  Bytes vZeros(4096, 0);
  Bytes vNegative = vGood;
  db2pages::putLE16(vNegative, db2pages::kSlotDir, 0xFFFE);   /* count -2 */
  Bytes vOneBadSlot = vGood;
  db2pages::putLE16(vOneBadSlot, db2pages::kSlotDir + 20, 5000);
  struct Case {
    const char *pcWhat;
    const Bytes &page;
    int64_t llExpected;
    int iKept;
    int64_t llObjectPage;   /* the page's number as the caller gets it */
    const char *pcMessage;  /* NULL: none */
  } aCases[] = {
      {"the page promised", vGood, 7, 1, 7, nullptr},
      {"no promise: the number carried", vGood, -1, 1, 7, nullptr},
      {"another object's page", vGood, 12, 0, 12, "ZORU433W DAMAGED PAGE SKIPPED: TABLE T.X PAGE 12 HOLDS PAGE NUMBER 7\n"},
      {"a page of zeros among the extents", vZeros, 3, 0, 3,
       "ZORU433W DAMAGED PAGE SKIPPED: TABLE T.X PAGE 3 HOLDS PAGE NUMBER 0\n"},
      {"a slot count below zero", vNegative, 7, 0, 7,
       "ZORU451W DAMAGED SLOT DIRECTORY, RECORDS OF THE PAGE SKIPPED: TABLE T.X PAGE 7 (REASON CODE 0x117a002)\n"},
      {"one slot outside the page: the others are read", vOneBadSlot, 7, 1, 7, nullptr},
  };
  for (const Case &c : aCases) {
    SCOPED_TRACE(c.pcWhat);
    int64_t llDamaged = 0, llObjectPage = -5;
    ficdataSlots slots;
    int iKept = -1;
    std::vector<std::string> vMsgs = zavtestMessages([&] {
      iKept = ficdataCheckPage("T.X", &llDamaged, c.page.data(), 4096, c.llExpected, &slots, &llObjectPage);
    });
    EXPECT_EQ(iKept, c.iKept);
    EXPECT_EQ(llObjectPage, c.llObjectPage);
    EXPECT_EQ(llDamaged, c.pcMessage != nullptr ? 1 : 0);
    EXPECT_EQ(vMsgs, c.pcMessage != nullptr ? std::vector<std::string>{c.pcMessage} : std::vector<std::string>{});
    if (iKept) {
      EXPECT_EQ(slots.ilCount, 2);
    }
  }
}

TEST(FicdataSlots, FirstDataSlotByObjectPage)
{
  struct { int64_t llPage; int iSlot; } acases[] = {{0, 4}, {1, 0}, {499, 0}, {500, 1}, {501, 0}, {1000, 1}};
  for (const auto &c : acases) EXPECT_EQ(ficdataFirstDataSlot(c.llPage), c.iSlot) << c.llPage;
}

TEST(FicdataSlots, RecordMustFitThePage)
{
  Bytes rec = db2pages::row({{1, 4, false}}, {val(B({1, 2, 3, 4}))});
  Bytes page = db2pages::page(4096, 1, {rec});
  ficdataSlots slots;
  ASSERT_EQ(ficdataReadSlots(page.data(), 4096, &slots), 0);
  int32_t ilOff = slots.ailOffset[0], ilLen = 0;
  EXPECT_EQ(ficdataRecordInPage(page.data(), 4096, ilOff, &ilLen), 0);
  EXPECT_EQ(ilLen, 12);
  EXPECT_EQ(ficdataRecordInPage(page.data(), 4096, 4092, &ilLen), FICDATA_RC_TRUNCATED);   /* header cut */
  EXPECT_EQ(ficdataRecordInPage(page.data(), 4096, 4096, &ilLen), FICDATA_RC_CORRUPT);
  db2pages::putLE16(page, ilOff + 2, 5000);                                                /* past the page */
  EXPECT_EQ(ficdataRecordInPage(page.data(), 4096, ilOff, &ilLen), FICDATA_RC_TRUNCATED);
  db2pages::putLE16(page, ilOff + 2, 6);                                                   /* below a header */
  EXPECT_EQ(ficdataRecordInPage(page.data(), 4096, ilOff, &ilLen), FICDATA_RC_CORRUPT);
}

/* ----------------------------------------------------- descriptions */

TEST(FicdataDescriptor, EveryTypeLaidOut)
{
  ficdataTableDesc desc = describe(gcolsAll);
  ASSERT_EQ(desc.sColumnCount, static_cast<int16_t>(gcolsAll.size()));
  std::vector<int> off = db2pages::offsets(gcolsAll);
  for (size_t k = 0; k < gcolsAll.size(); k++) {
    const ficdataColumnDesc &c = desc.pcolumns[k];
    int iSize = db2pages::inRecordSize(gcolsAll[k]);
    EXPECT_EQ(c.usColumn, k);
    EXPECT_EQ(c.sType, gcolsAll[k].sType);
    EXPECT_EQ(c.sOffset, off[k]) << k;
    EXPECT_EQ(c.sFlags & 1, gcolsAll[k].boNullable ? 1 : 0);
    EXPECT_EQ(c.sNullOffset, gcolsAll[k].boNullable ? off[k] + iSize : -1) << k;
    EXPECT_EQ(c.sUsed, 0);
    EXPECT_EQ(ficdataInRecordSize(c.sType, c.sLength), iSize) << k;
  }
  EXPECT_EQ(desc.pcolumns[5].sLength, 31 << 8 | 2);          /* DECIMAL(31,2) */
  EXPECT_EQ(ficdataInRecordSize(2, 31 << 8 | 2), 16);
  EXPECT_EQ(desc.ilFixedLength, off.back());
  EXPECT_EQ(desc.ucLongField, 0);
  EXPECT_EQ(desc.ucLob, 0);
  EXPECT_EQ(ficdataSizeEnreg(&desc), 32677);
  free(desc.pcolumns);
}

TEST(FicdataDescriptor, LongFieldAndLobColumnsSizeTheRecord)
{
  ficdataTableDesc desc = describe({{1, 4, false}, {264, 100, true}, {265, 100, false}, {515, 100, true}});
  EXPECT_EQ(desc.ucLob, 1);
  EXPECT_EQ(desc.ucLongField, 0);
  EXPECT_EQ(ficdataSizeEnreg(&desc), 32677 + 3 * 32700);
  free(desc.pcolumns);
  desc = describe({{260, 24, true}, {514, 24, false}});
  EXPECT_EQ(desc.ucLongField, 1);
  EXPECT_EQ(desc.ucLob, 0);
  EXPECT_EQ(desc.ilFixedLength, 4 + 1 + 4);
  EXPECT_EQ(ficdataSizeEnreg(&desc), 32677 + 2 * 32700);
  free(desc.pcolumns);
}

TEST(FicdataDescriptor, DamagedDescriptorsAreRefused)
{
  struct Case {
    const char *pcWhat;
    int iAt;          /* byte offset in the descriptor record to patch */
    int iValue;       /* 16-bit value */
    int iExpected;
  } acases[] = {
      {"no columns", 6, 0, FICDATA_RC_CORRUPT},
      {"negative column count", 6, -2, FICDATA_RC_CORRUPT},
      {"more columns than the record holds", 6, 40, FICDATA_RC_TRUNCATED},
      {"negative record offset", 8 + 8 + 6, -4, FICDATA_RC_CORRUPT},
      {"negative CHAR length", 8 + 2, -5, FICDATA_RC_CORRUPT},
      {"column past the largest row", 8 + 8 + 6, 32760, FICDATA_RC_CORRUPT},
      {"record longer than the page", 2, 6000, FICDATA_RC_TRUNCATED},
  };
  for (const Case &c : acases) {
    std::vector<Column> cols = {{256, 10, false}, {1, 4, true}};
    Bytes rec = db2pages::descriptor(cols);
    db2pages::putLE16(rec, c.iAt, static_cast<uint16_t>(c.iValue));
    Bytes page = db2pages::page(4096, 0, {rec});
    ficdataSlots slots;
    ASSERT_EQ(ficdataReadSlots(page.data(), 4096, &slots), 0);
    ficdataTableDesc desc = {};
    EXPECT_EQ(_ficdataReadTableDescriptorRecord(nullptr, page.data(), 4096, slots.ailOffset[0], &desc),
              c.iExpected) << c.pcWhat;
    EXPECT_EQ(desc.pcolumns, nullptr) << c.pcWhat;
  }
}

TEST(FicdataDescriptor, ColumnSizesAndDefaults)
{
  ficdataTableDesc desc = describe({{0, 2, true}, {2, 9, false, 3}, {256, 6, false}, {257, 30, true},
                                    {261, 4, false}, {262, 3, false}, {263, 10, true}, {512, 8, false},
                                    {515, 200, false}, {700, 6, false}});
  struct Case {
    int iColumn, iVariable, iSize, iNullable;
    std::vector<int> vDefault;   /* {-1}: no default bytes */
  } acases[] = {
      {0, 0, 2, 1, {0, 0}},
      {1, 0, 5, 0, {0, 0, 0, 0, 0}},
      {2, 0, 6, 0, {-1}},
      {3, 1, 30, 1, {0, 0, 0, 0}},
      {4, 0, 4, 0, {0, 1, 1, 1}},
      {5, 0, 3, 0, {0, 0, 0}},
      {6, 0, 10, 1, {0, 1, 1, 1, 0, 0, 0, 0, 0, 0}},
      {7, 0, 8, 0, {-1}},
      {8, 1, 200, 0, {0, 0, 0, 0}},
      {9, 0, -77, 0, {-1}},           /* unknown code: size unchanged, no default */
  };
  for (const Case &c : acases) {
    int32_t ilSize = -77;
    int boNullable = -1;
    EXPECT_EQ(_ficdataIsVariableColumn(&desc, c.iColumn, &ilSize, &boNullable), c.iVariable) << c.iColumn;
    EXPECT_EQ(ilSize, c.iSize) << c.iColumn;
    EXPECT_EQ(boNullable, c.iNullable) << c.iColumn;
    int32_t ilDefault = 0;
    const unsigned char *puc = _ficdataGetDefault(&desc, c.iColumn, &ilDefault, &boNullable);
    if (c.vDefault[0] == -1) {
      EXPECT_EQ(puc, nullptr) << c.iColumn;
    } else {
      ASSERT_NE(puc, nullptr) << c.iColumn;
      ASSERT_EQ(ilDefault, static_cast<int32_t>(c.vDefault.size())) << c.iColumn;
      for (size_t i = 0; i < c.vDefault.size(); i++) EXPECT_EQ(puc[i], c.vDefault[i]) << c.iColumn;
    }
  }
  int32_t ilSize = 0;
  EXPECT_EQ(_ficdataIsVariableColumn(&desc, 10, &ilSize, nullptr), -1);
  free(desc.pcolumns);
}

/* ---------------------------------------------------------- records */

TEST(FicdataRecord, CopiedRecordsAreSentAsStored)
{
  ficdataTableDesc desc = describe(gcolsAll);
  Bytes normal = db2pages::row(gcolsAll, allValues(), 0);
  Bytes overflow = db2pages::row(gcolsAll, allValues(), 4);
  for (size_t ulSize : {4096u, 8192u, 16384u, 32768u}) {
    Bytes page = db2pages::page(ulSize, 3, {normal, overflow});
    Decoded d0 = decode(page, 0, desc), d1 = decode(page, 1, desc);
    ASSERT_EQ(d0.rc, 0);
    EXPECT_EQ(d0.rec, normal);
    ASSERT_EQ(d1.rc, 0);
    EXPECT_EQ(d1.rec, overflow);
  }
  /* the stream header, byte for byte */
  EXPECT_EQ(normal[0], 0);
  EXPECT_EQ(obyteGetLE16(normal.data() + 2), normal.size());
  EXPECT_EQ(normal[4], 1);
  EXPECT_EQ(obyteGetLE16(normal.data() + 6), static_cast<uint16_t>(desc.ilFixedLength));
  free(desc.pcolumns);
}

TEST(FicdataRecord, CompressedRecordsExpandToTheRowForm)
{
  ficdataTableDesc desc = describe(gcolsAll);
  Bytes page = db2pages::page(4096, 2, {db2pages::compressed(gcolsAll, allValues())});
  Decoded d = decode(page, 0, desc);
  ASSERT_EQ(d.rc, 0);
  EXPECT_EQ(d.rec, expandedForm(db2pages::row(gcolsAll, allValues())));
  free(desc.pcolumns);
}

TEST(FicdataRecord, CompressedDefaultsNullsAndMissingColumns)
{
  std::vector<Column> cols = {{257, 10, true}, {261, 4, false}, {263, 10, true}, {256, 3, false},
                              {257, 10, false}, {1, 4, true}, {1, 4, false}};
  ficdataTableDesc desc = describe(cols);
  ASSERT_EQ(desc.ilFixedLength, 5 + 4 + 11 + 3 + 4 + 5 + 4);
  /* NULL VARCHAR, default DATE, default TIMESTAMP, default CHAR, default VARCHAR, 9; last column absent */
  Bytes rec = db2pages::compressed(cols, {db2pages::null(), db2pages::dflt(), db2pages::dflt(), db2pages::dflt(),
                                          db2pages::dflt(), val(B({9, 0, 0, 0}))});
  Bytes page = db2pages::page(8192, 2, {rec});
  Decoded d = decode(page, 0, desc);
  ASSERT_EQ(d.rc, 0);
  Bytes expect(8, 0);
  expect[4] = 1;
  db2pages::putLE16(expect, 6, 32);   /* fixed part written: all but the last column */
  Bytes row = B({0, 0, 0, 0, 1,                    /* NULL VARCHAR: 4-byte gap, null byte 1 */
                 0, 1, 1, 1,                       /* DATE 0001-01-01 */
                 0, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0,  /* TIMESTAMP default, null byte 0 */
                 ' ', ' ', ' ',                    /* CHAR(3) blanks */
                 0, 0, 0, 0,                       /* VARCHAR default: pair (0, 0) */
                 9, 0, 0, 0, 0,                    /* INTEGER 9, null byte 0 */
                 0, 0, 0, 0});                     /* absent column: zero up to the full fixed part */
  expect.insert(expect.end(), row.begin(), row.end());
  EXPECT_EQ(d.rec, expect);
  free(desc.pcolumns);
}

TEST(FicdataRecord, DamagedCompressedRecordsAreRefused)
{
  std::vector<Column> cols = {{1, 4, false}, {257, 10, true}, {256, 4, false}};
  ficdataTableDesc desc = describe(cols);
  struct Case {
    const char *pcWhat;
    Bytes rec;
    int32_t ilBuffer;
    int iExpected;
  };
  Bytes good = db2pages::compressed(cols, {val(B({1, 2, 3, 4})), val(std::string("abc")), val(std::string("wxyz"))});
  Bytes decreasing = good;
  db2pages::putLE16(decreasing, 8 + 2 * 2, 0x0010);   /* entry 2 before entry 1 */
  Bytes tooMany = good;
  db2pages::putLE16(tooMany, 6, 7);
  Bytes negative = good;
  db2pages::putLE16(negative, 6, 0xFFFF);
  Bytes cut = good;
  cut.resize(cut.size() - 3);
  db2pages::putLE16(cut, 2, static_cast<uint16_t>(cut.size()));
  std::vector<Case> acases = {
      {"special byte 5", db2pages::compressed(cols, {db2pages::special(5)}), 0, FICDATA_RC_CORRUPT},
      {"NULL in a column that is not nullable", db2pages::compressed(cols, {db2pages::null()}), 0,
       FICDATA_RC_CORRUPT},
      {"entries going backwards", decreasing, 0, FICDATA_RC_CORRUPT},
      {"more entries than columns", tooMany, 0, FICDATA_RC_CORRUPT},
      {"negative entry count", negative, 0, FICDATA_RC_CORRUPT},
      {"values cut at the end of the page", cut, 0, FICDATA_RC_TRUNCATED},
      {"row larger than the buffer", good, 8 + 14, FICDATA_RC_CORRUPT},
  };
  for (Case &c : acases) {
    Bytes page = db2pages::page(4096, 2, {c.rec});
    if (c.pcWhat == std::string("values cut at the end of the page")) {
      /* put the cut record at the very end of the page */
      page = Bytes(4096, 0);
      db2pages::putLE16(page, 0, 48);
      db2pages::putLE16(page, 48, 1);
      int32_t ilAt = 4096 - static_cast<int32_t>(c.rec.size());
      db2pages::putLE16(page, 68, static_cast<uint16_t>(ilAt - 68));
      std::memcpy(page.data() + ilAt, c.rec.data(), c.rec.size());
    }
    Decoded d = decode(page, 0, desc, nullptr, nullptr, nullptr, 0, c.ilBuffer);
    EXPECT_EQ(d.rc, c.iExpected) << c.pcWhat;
  }
  free(desc.pcolumns);
}

TEST(FicdataRecord, DamagedRowsAreRefused)
{
  std::vector<Column> cols = {{1, 4, false}, {257, 10, true}};
  ficdataTableDesc desc = describe(cols);
  Bytes good = db2pages::row(cols, {val(B({1, 0, 0, 0})), val(std::string("hello"))});
  Bytes badPair = good;
  db2pages::putLE16(badPair, 8 + 4, 200);             /* VARCHAR data offset past the row */
  Bytes badFixed = good;
  db2pages::putLE16(badFixed, 6, 100);                /* fixed part longer than the row */
  Bytes nullPair = good;
  db2pages::putLE16(nullPair, 8 + 4, 200);            /* a NULL column's pair is not followed */
  nullPair[8 + 8] = 1;
  Bytes unknownFormat = good;
  unknownFormat[4] = 3;
  struct { const char *pcWhat; Bytes rec; int iExpected; } acases[] = {
      {"variable data outside the row", badPair, FICDATA_RC_CORRUPT},
      {"fixed part outside the row", badFixed, FICDATA_RC_CORRUPT},
      {"NULL column with a stale pair", nullPair, 0},
      {"format 3 is damage, not a row to drop", unknownFormat, FICDATA_RC_CORRUPT},
  };
  for (const auto &c : acases) {
    Bytes page = db2pages::page(4096, 2, {c.rec});
    EXPECT_EQ(decode(page, 0, desc).rc, c.iExpected) << c.pcWhat;
  }
  free(desc.pcolumns);
}

/*
** The check made ready once per page gives the column-by-column check's
** result for every record: rows cut short, fixed parts of every length,
** stray variable pairs and null bytes, for tables with and without variable
** columns and with more of them than the prepared check lists.
*/
TEST(FicdataRecord, PreparedRowCheckAgreesWithTheFullCheck)
{
  std::vector<Column> colsManyVar;
  std::vector<Value> valsManyVar;
  for (int i = 0; i < FICDATA_CHECK_VARIABLES + 3; i++) {
    colsManyVar.push_back({257, 6, i % 2 == 0});
    valsManyVar.push_back(i % 5 == 4 ? db2pages::null() : val(std::string(static_cast<size_t>(i % 4), 'x')));
  }
  std::vector<Column> colsFixed = {{1, 4, false}, {256, 3, true}, {263, 10, false}};
  std::vector<Value> valsFixed = {val(B({1, 0, 0, 0})), val(std::string("abc")), val(Bytes(10, 0))};
  struct { const char *pcWhat; std::vector<Column> cols; std::vector<Value> vals; } atables[] = {
      {"every type", gcolsAll, allValues()},
      {"more variable columns than listed", colsManyVar, valsManyVar},
      {"no variable column", colsFixed, valsFixed},
  };
  Lcg next{12345};
  for (const auto &t : atables) {
    SCOPED_TRACE(t.pcWhat);
    ficdataTableDesc desc = describe(t.cols);
    ficdataRowCheck check;
    ficdataRowCheckPrepare(&desc, &check);
    const Bytes good = db2pages::row(t.cols, t.vals);
    const int32_t ilGood = static_cast<int32_t>(good.size());
    ASSERT_EQ(ficdataCheckRow(&desc, good.data(), ilGood), 0);
    ASSERT_EQ(ficdataCheckRowPrepared(&check, good.data(), ilGood), 0);
    int iRefused = 0;
    for (int k = 0; k < 4000; k++) {
      Bytes rec = good;
      int32_t ilLength = ilGood;
      switch (next(4)) {
        case 0: ilLength = static_cast<int32_t>(next(static_cast<uint32_t>(ilGood + 1))); break;
        case 1: db2pages::putLE16(rec, 6, static_cast<uint16_t>(next(static_cast<uint32_t>(ilGood + 8)) - 4)); break;
        default:
          for (uint32_t n = next(3) + 1; n > 0; n--)
            rec[8 + next(static_cast<uint32_t>(ilGood - 8))] = static_cast<unsigned char>(next(3) == 0 ? next(256) : next(2));
      }
      int iFull = ficdataCheckRow(&desc, rec.data(), ilLength);
      EXPECT_EQ(ficdataCheckRowPrepared(&check, rec.data(), ilLength), iFull) << "case " << k;
      if (iFull != 0) iRefused++;
    }
    EXPECT_GT(iRefused, 100);   /* the damage reaches the checks */
    free(desc.pcolumns);
  }
}

/*
** The expansion made ready once per page gives ficdataExpandRecord's
** result, bytes and length, for every record: values of every length the
** short copies take (0 to 40 bytes), defaults and NULLs, damage anywhere,
** buffers too small, and a table wider than the prepared column list.
*/
TEST(FicdataRecord, PreparedExpansionAgreesWithTheDescription)
{
  std::vector<Column> colsLengths;
  std::vector<Value> valsLengths;
  for (int i = 0; i <= 40; i++) {
    colsLengths.push_back({257, 40, i % 3 == 0});
    valsLengths.push_back(val(std::string(static_cast<size_t>(i), static_cast<char>('a' + i % 26))));
    colsLengths.push_back({256, static_cast<int16_t>(i % 17 + 1), i % 2 == 0});
    valsLengths.push_back(i % 7 == 5 && i % 2 == 0 ? db2pages::null()
                                                   : val(std::string(static_cast<size_t>(i % 17 + 1), 'c')));
  }
  std::vector<Column> colsWide;
  std::vector<Value> valsWide;
  for (int i = 0; i < FICDATA_EXPAND_COLUMNS + 5; i++) {
    colsWide.push_back({1, 4, i % 2 == 1});
    valsWide.push_back(i % 9 == 4 ? db2pages::dflt() : val(B({static_cast<unsigned char>(i), 0, 0, 0})));
  }
  struct {
    const char *pcWhat;
    std::vector<Column> cols;
    std::vector<Value> vals;
    bool boRowForm;   /* no default values: the undamaged record expands to the row written directly */
  } atables[] = {
      {"every type", gcolsAll, allValues(), true},
      {"values of every short length", colsLengths, valsLengths, true},
      {"more columns than prepared", colsWide, valsWide, false},
  };
  Lcg next{424242};
  for (const auto &t : atables) {
    SCOPED_TRACE(t.pcWhat);
    ficdataTableDesc desc = describe(t.cols);
    ficdataRowCheck check;
    ficdataRowCheckPrepare(&desc, &check);
    const Bytes good = db2pages::compressed(t.cols, t.vals);
    const int32_t ilGood = static_cast<int32_t>(good.size());
    const int32_t ilRoom = ficdataSizeEnreg(&desc);
    int iRefused = 0;
    for (int k = 0; k < 3000; k++) {
      Bytes rec = good;
      int32_t ilLength = ilGood;
      int32_t ilBuffer = ilRoom;
      if (k > 0) {
        switch (next(4)) {
          case 0: ilLength = static_cast<int32_t>(next(static_cast<uint32_t>(ilGood + 1))); break;
          case 1: ilBuffer = static_cast<int32_t>(next(static_cast<uint32_t>(ilRoom + 1))); break;
          default:
            for (uint32_t n = next(3) + 1; n > 0; n--)
              rec[8 + next(static_cast<uint32_t>(ilGood - 8))] = static_cast<unsigned char>(next(256));
        }
      }
      Bytes full(static_cast<size_t>(ilRoom), 0xEE), prepared(static_cast<size_t>(ilRoom), 0xEE);
      int32_t ilFull = -1, ilPrepared = -1;
      int iFull = ficdataExpandRecord(&desc, desc.ilFixedLength, rec.data(), ilLength, full.data(), ilBuffer, &ilFull);
      int iPrepared = ficdataExpandPrepared(&check, rec.data(), ilLength, prepared.data(), ilBuffer, &ilPrepared);
      ASSERT_EQ(iPrepared, iFull) << "case " << k;
      if (iFull != 0) {
        iRefused++;
        continue;
      }
      ASSERT_EQ(ilPrepared, ilFull) << "case " << k;
      ASSERT_EQ(Bytes(prepared.begin(), prepared.begin() + ilFull), Bytes(full.begin(), full.begin() + ilFull))
          << "case " << k;
      if (k == 0 && t.boRowForm) {
        EXPECT_EQ(Bytes(full.begin(), full.begin() + ilFull), expandedForm(db2pages::row(t.cols, t.vals)));
      }
    }
    EXPECT_GT(iRefused, 100);   /* the damage reaches the checks */
    free(desc.pcolumns);
  }
}

/* ---------------------------------------------------------- WHERE */

TEST(FicdataRecord, WhereDecidesForEveryOpenPair)
{
  ASSERT_EQ(zornodeEvalInitProcDict(), 0);
  std::vector<Column> cols = {{1, 4, false}, {257, 10, true}};
  ficdataTableDesc desc = describe(cols);
  rowColDef def = {};
  def.iLength = 4;
  def.sOffset = 0;
  def.sNullOffset = -1;
  /* column 0 = 7 */
  zornode *pcol = zornodeCreate(ZORNODE_VAR, NODE_T_VINT & 0xFF, &def, nullptr, NODE_SUBS, nullptr, nullptr);
  pcol->usCtrlType = NODE_T_VINT;
  pcol->usLength = 4;
  pcol->procEval = _zornodeEvalProc_LoadVar;
  zornode *pconst = zornodeCreateInteger(7, nullptr, nullptr);
  pconst->procEval = _zornodeEvalProc_LoadCste;
  zornode *pwhere = zornodeCreate(ZORNODE_OPRT, NODE_EQU_OP, pcol, pconst, 0, nullptr, nullptr);
  pwhere->usCtrlType = NODE_T_BOOL;
  pwhere->procEval = reinterpret_cast<zornodeEvalProc>(
      odictLoad(gpdictNodeProc, zornodeEvalProcKey(NODE_EQU_OP, pcol->usCtrlType & 0xFF, pconst->usCtrlType & 0xFF)));
  ASSERT_NE(pwhere->procEval, nullptr);

  Bytes r7 = db2pages::row(cols, {val(B({7, 0, 0, 0})), val(std::string("seven"))});
  Bytes r8 = db2pages::row(cols, {val(B({8, 0, 0, 0})), db2pages::null()});
  Bytes page = db2pages::page(4096, 5, {r7, r8});
  auto *povfOpen = reinterpret_cast<ovf *>(0x10);   /* never written here: only its presence counts */
  static zornodeEvalContext *apctx[2] = {zornodeEvalCreate(4), zornodeEvalCreate(4)};   /* live until exit */
  ficdataPair apair[2] = {{povfOpen, pwhere, apctx[0]}, {povfOpen, pwhere, apctx[1]}};
  EXPECT_EQ(decode(page, 0, desc, nullptr, nullptr, apair, 2).rc, 0);
  EXPECT_EQ(decode(page, 0, desc, nullptr, nullptr, apair, 2).rec, r7);
  EXPECT_EQ(decode(page, 1, desc, nullptr, nullptr, apair, 2).rc, 1);
  /* a stopped pair does not judge; without any open pair with WHERE the record is kept */
  apair[0].povf = nullptr;
  apair[1].povf = nullptr;
  EXPECT_EQ(decode(page, 1, desc, nullptr, nullptr, apair, 2).rc, 0);
  zornodeDestroy(pwhere);
  free(desc.pcolumns);
}

/* ----------------------------------------------- long fields and LOBs */

/* The pipes of a reader's long-data children; the answers are written ahead. */
struct Pipes {
  int aiLFReq[2], aiLFAns[2], aiLOBReq[2], aiLOBAns[2];
  ficdataInfoLong info;
  Pipes()
  {
    EXPECT_EQ(pipe(aiLFReq), 0);
    EXPECT_EQ(pipe(aiLFAns), 0);
    EXPECT_EQ(pipe(aiLOBReq), 0);
    EXPECT_EQ(pipe(aiLOBAns), 0);
    info = {aiLFReq[1], aiLFAns[0], aiLOBReq[1], aiLOBAns[0]};
  }
  ~Pipes()
  {
    for (int *pi : {aiLFReq, aiLFAns, aiLOBReq, aiLOBAns}) {
      if (pi[0] >= 0) close(pi[0]);
      if (pi[1] >= 0) close(pi[1]);
    }
  }
  void answer(int *pi, const Bytes &b) { ASSERT_EQ(write(pi[1], b.data(), b.size()), static_cast<ssize_t>(b.size())); }
  void endAnswers(int *pi) { close(pi[1]); pi[1] = -1; }
  /* What the parent wrote to a request pipe. */
  Bytes requests(int *pi)
  {
    close(pi[1]);
    pi[1] = -1;
    Bytes b;
    unsigned char auc[4096];
    ssize_t l;
    while ((l = read(pi[0], auc, sizeof auc)) > 0) b.insert(b.end(), auc, auc + l);
    return b;
  }
};

Bytes concat(std::initializer_list<Bytes> l)
{
  Bytes b;
  for (const Bytes &x : l) b.insert(b.end(), x.begin(), x.end());
  return b;
}

/* A long-field descriptor of length L at position P (24 bytes). */
Bytes lfDesc(uint32_t ulLength, uint32_t ulPosition)
{
  Bytes d(24, 0);
  db2pages::putLE32(d, 0, ulLength);
  db2pages::putLE32(d, 8, ulPosition);
  return d;
}

/* A LOB descriptor of 64 bytes: LOB length, first segment. */
Bytes lobDesc(uint32_t ulLength, uint32_t ulFirst)
{
  Bytes d(64, 0);
  d[2] = 1;
  db2pages::putLE32(d, 8, ulLength);
  db2pages::putLE32(d, 56, ulFirst);
  return d;
}

TEST(FicdataLongData, LongFieldsAndInlineLobsAreAppended)
{
  std::vector<Column> cols = {{1, 4, false}, {260, 24, true}, {264, 64, false}, {265, 64, true}};
  ficdataTableDesc desc = describe(cols);
  for (int i = 1; i < 4; i++) desc.pcolumns[i].sUsed = 1;
  Bytes lf = lfDesc(5000, 7), lob = lobDesc(40000, 3);
  Bytes rec = db2pages::row(cols, {val(B({1, 0, 0, 0})), val(lf), val(lob), db2pages::null()});
  Bytes page = db2pages::page(32768, 4, {rec});
  Pipes p;
  Bytes lfData(5000);
  for (size_t i = 0; i < lfData.size(); i++) lfData[i] = static_cast<unsigned char>(i * 7);
  p.answer(p.aiLFAns, lfData);
  Bytes lobData(32700);
  for (size_t i = 0; i < lobData.size(); i++) lobData[i] = static_cast<unsigned char>(i * 3 + 1);
  for (size_t at = 0; at < lobData.size(); at += 4096) {   /* chunks of a page at most */
    size_t n = std::min<size_t>(4096, lobData.size() - at);
    p.answer(p.aiLOBAns, concat({db2pages::le32(static_cast<uint32_t>(n)), Bytes(lobData.begin() + at, lobData.begin() + at + n)}));
  }
  ficdata fd = {};
  fd.iLongFlags = FICDATA_LONG_LF | FICDATA_LONG_LOB;
  Decoded d = decode(page, 0, desc, &fd, &p.info);
  ASSERT_EQ(d.rc, 0);
  /* the row: stored record, then the long field, then the LOB cut to 32700 bytes */
  int32_t ilRow = static_cast<int32_t>(rec.size()) - 8;
  ASSERT_EQ(d.rec.size(), rec.size() + 5000 + 32700);
  Bytes expect = concat({rec, lfData, lobData});
  int32_t ilLFDesc = obyteGetLE16(rec.data() + 8 + 4), ilLOBDesc = obyteGetLE16(rec.data() + 8 + 9);
  db2pages::putLE32(expect, 8 + ilLFDesc + 8, static_cast<uint32_t>(ilRow));
  db2pages::putLE32(expect, 8 + ilLOBDesc + 12, 32700);
  db2pages::putLE32(expect, 8 + ilLOBDesc + 56, static_cast<uint32_t>(ilRow + 5000));
  expect[FICDATA_UREC_FLAGS] = FICDATA_UREC_CUT;   /* the writer counts the cut value */
  EXPECT_EQ(d.rec, expect);
  /* the requests: LF (length, position); LOB (descriptor length, descriptor); none for the NULL LOB */
  EXPECT_EQ(p.requests(p.aiLFReq), concat({db2pages::le32(5000), db2pages::le32(7)}));
  EXPECT_EQ(p.requests(p.aiLOBReq), concat({db2pages::le32(64), lob}));
  free(desc.pcolumns);
}

/* Byte 5 of the unload record says whether an inline LOB was cut; the
   stored record's own byte 5 never reaches the writer. */
TEST(FicdataLongData, TheRecordFlagsAnInlineLobCutToTheLimit)
{
  struct {
    uint32_t ulLength;
    unsigned char ucStored;   /* byte 5 of the stored record */
    unsigned char ucFlags;    /* byte 5 of the unload record */
  } const aCases[] = {
      {0, 0x00, 0}, {100, 0xFF, 0}, {32700, 0x01, 0}, {32701, 0x00, FICDATA_UREC_CUT}, {40000, 0xFE, FICDATA_UREC_CUT},
  };
  std::vector<Column> cols = {{1, 4, false}, {265, 64, false}};
  ficdataTableDesc desc = describe(cols);
  desc.pcolumns[1].sUsed = 1;
  for (const auto &c : aCases) {
    SCOPED_TRACE(c.ulLength);
    Bytes rec = db2pages::row(cols, {val(B({1, 0, 0, 0})), val(lobDesc(c.ulLength, 3))});
    rec[FICDATA_UREC_FLAGS] = c.ucStored;
    Bytes page = db2pages::page(32768, 4, {rec});
    Pipes p;
    size_t ulHeld = std::min<size_t>(c.ulLength, 32700);
    for (size_t at = 0; at < ulHeld; at += 4096) {
      size_t n = std::min<size_t>(4096, ulHeld - at);
      p.answer(p.aiLOBAns, concat({db2pages::le32(static_cast<uint32_t>(n)), Bytes(n, 0x41)}));
    }
    ficdata fd = {};
    fd.iLongFlags = FICDATA_LONG_LOB;
    Decoded d = decode(page, 0, desc, &fd, &p.info);
    ASSERT_EQ(d.rc, 0);
    ASSERT_EQ(d.rec.size(), rec.size() + ulHeld);
    EXPECT_EQ(d.rec[FICDATA_UREC_FLAGS], c.ucFlags);
  }
  free(desc.pcolumns);
}

TEST(FicdataLongData, UnusedAndUnaskedColumnsAreLeftAlone)
{
  std::vector<Column> cols = {{260, 24, false}, {264, 64, false}};
  ficdataTableDesc desc = describe(cols);
  Bytes rec = db2pages::row(cols, {val(lfDesc(10, 1)), val(lobDesc(10, 1))});
  Bytes page = db2pages::page(4096, 4, {rec});
  Pipes p;
  ficdata fd = {};
  fd.iLongFlags = FICDATA_LONG_LF | FICDATA_LONG_LOB;
  EXPECT_EQ(decode(page, 0, desc, &fd, &p.info).rec, rec);   /* no column used by the output */
  desc.pcolumns[0].sUsed = desc.pcolumns[1].sUsed = 1;
  fd.iLongFlags = 0;
  EXPECT_EQ(decode(page, 0, desc, &fd, &p.info).rec, rec);   /* the reader asked for neither */
  EXPECT_TRUE(p.requests(p.aiLFReq).empty());
  EXPECT_TRUE(p.requests(p.aiLOBReq).empty());
  free(desc.pcolumns);
}

/* With LOBFILE the LOB child names the LOB's file (or its location specifier); the record holds that text. */
TEST(FicdataLongData, LobFileTextOfTheChildStandsForTheLob)
{
  std::vector<Column> cols = {{1, 4, false}, {265, 64, false}};
  ficdataTableDesc desc = describe(cols);
  desc.pcolumns[1].sUsed = 1;
  Bytes lob = lobDesc(123456, 7);
  Bytes rec = db2pages::row(cols, {val(B({1, 0, 0, 0})), val(lob)});
  Bytes page = db2pages::page(4096, 4, {rec});
  Pipes p;
  ochar *pcharFile = ocharCreateVarchar(0, 850, 0);
  ochar *pcharDir = ocharCreateVarchar(0, 850, 0);
  ASSERT_EQ(ocharAppendFixed(pcharFile, "lob.dat", 7), 0);
  ASSERT_EQ(ocharAppendFixed(pcharDir, "/out/lobs", 9), 0);
  ficdata fd = {};
  fd.iLongFlags = FICDATA_LONG_LOB;
  fd.ilPart = 3;
  fd.pcharLobFile = pcharFile;
  fd.pcharLobDir = pcharDir;
  std::string strName = "/out/lobs/lob_3_000.001.0.123456/";
  p.answer(p.aiLOBAns, concat({db2pages::le32(static_cast<uint32_t>(strName.size())), Bytes(strName.begin(), strName.end())}));
  Decoded d = decode(page, 0, desc, &fd, &p.info);
  ASSERT_EQ(d.rc, 0);
  int32_t ilRow = static_cast<int32_t>(rec.size()) - 8;
  Bytes expect = concat({rec, Bytes(strName.begin(), strName.end()), Bytes(2, 0)});
  int32_t ilDesc = obyteGetLE16(rec.data() + 8 + 4);
  db2pages::putLE32(expect, 8 + ilDesc + 12, static_cast<uint32_t>(strName.size() + 1));
  db2pages::putLE32(expect, 8 + ilDesc + 56, static_cast<uint32_t>(ilRow));
  EXPECT_EQ(d.rec, expect);
  EXPECT_EQ(p.requests(p.aiLOBReq), concat({db2pages::le32(64), lob}));
  char ac[64];
  int32_t ilLen = 0;
  EXPECT_EQ(ficdataGetLBFileName(&fd, 12, ac, sizeof ac, &ilLen), 0);
  EXPECT_STREQ(ac, "/out/lobs/lob_3_12.dat");
  EXPECT_EQ(ilLen, 22);
  EXPECT_EQ(ficdataGetLBFileName(&fd, 12, ac, 10, &ilLen), FICDATA_RC_CORRUPT);   /* does not fit */
  {
    /* an answer that announces no text, or more than any text: the pipes are out of step */
    Pipes q;
    q.answer(q.aiLOBAns, db2pages::le32(static_cast<uint32_t>(FICDATA_LOB_TEXT_MAX + 1)));
    EXPECT_EQ(decode(page, 0, desc, &fd, &q.info).rc, FICDATA_RC_PIPE);
  }
  {
    /* a text the record buffer cannot hold is read whole (the pipes stay in step) and refused */
    Pipes q;
    std::string strLong(3000, 'n');
    q.answer(q.aiLOBAns, concat({db2pages::le32(3000), Bytes(strLong.begin(), strLong.end())}));
    EXPECT_EQ(decode(page, 0, desc, &fd, &q.info, nullptr, 0, 1000).rc, FICDATA_RC_CORRUPT);
  }
  ocharDestroy(pcharFile);
  ocharDestroy(pcharDir);
  free(desc.pcolumns);
}

TEST(FicdataLongData, BrokenAnswersAndImpossibleLengthsStopTheRecord)
{
  std::vector<Column> cols = {{260, 24, false}, {264, 64, false}};
  ficdataTableDesc desc = describe(cols);
  desc.pcolumns[0].sUsed = desc.pcolumns[1].sUsed = 1;
  ficdata fd = {};
  fd.iLongFlags = FICDATA_LONG_LF | FICDATA_LONG_LOB;
  {
    /* the long-field child ends after 100 of 300 bytes */
    Pipes p;
    Bytes page = db2pages::page(4096, 4, {db2pages::row(cols, {val(lfDesc(300, 1)), val(lobDesc(0, 1))})});
    p.answer(p.aiLFAns, Bytes(100, 1));
    p.endAnswers(p.aiLFAns);
    EXPECT_EQ(decode(page, 0, desc, &fd, &p.info).rc, FICDATA_RC_PIPE);
  }
  {
    /* a LOB chunk announces more than is still wanted */
    Pipes p;
    Bytes page = db2pages::page(4096, 4, {db2pages::row(cols, {val(lfDesc(0, 1)), val(lobDesc(100, 1))})});
    p.answer(p.aiLOBAns, concat({db2pages::le32(200), Bytes(200, 2)}));
    EXPECT_EQ(decode(page, 0, desc, &fd, &p.info).rc, FICDATA_RC_PIPE);
  }
  {
    /* a long field longer than any long field, or than the record buffer, is never asked for */
    Pipes p;
    Bytes page = db2pages::page(4096, 4, {db2pages::row(cols, {val(lfDesc(32701, 1)), val(lobDesc(0, 1))})});
    EXPECT_EQ(decode(page, 0, desc, &fd, &p.info).rc, FICDATA_RC_CORRUPT);
    EXPECT_EQ(decode(page, 0, desc, &fd, &p.info, nullptr, 0, 1000).rc, FICDATA_RC_CORRUPT);
    page = db2pages::page(4096, 4, {db2pages::row(cols, {val(lfDesc(2000, 1)), val(lobDesc(0, 1))})});
    EXPECT_EQ(decode(page, 0, desc, &fd, &p.info, nullptr, 0, 1000).rc, FICDATA_RC_CORRUPT);
    EXPECT_TRUE(p.requests(p.aiLFReq).empty());
  }
  {
    /* a LOB descriptor too short to patch */
    std::vector<Column> c2 = {{264, 64, false}};
    ficdataTableDesc d2 = describe(c2);
    d2.pcolumns[0].sUsed = 1;
    Pipes p;
    Bytes page = db2pages::page(4096, 4, {db2pages::row(c2, {val(Bytes(20, 0))})});
    EXPECT_EQ(decode(page, 0, d2, &fd, &p.info).rc, FICDATA_RC_CORRUPT);
    free(d2.pcolumns);
  }
  free(desc.pcolumns);
}

/* ----------------------------------------------------------- sampling */

TEST(FicdataSampling, SkipAndInterval)
{
  struct Case {
    int32_t ilSkip, ilInterval, ilRecords;
    std::vector<int> vKept;
  } acases[] = {
      {0, 0, 4, {0, 1, 2, 3}},
      {0, 3, 8, {0, 3, 6}},
      {5, 0, 8, {5, 6, 7}},
      {2, 2, 7, {2, 4, 6}},
      {2, 3, 10, {2, 5, 8}},
  };
  for (const Case &c : acases) {
    ficdataSampling s = {c.ilSkip > 0 || c.ilInterval > 0, c.ilSkip, c.ilInterval, 0, 0, -1};
    ficdata fd = {};
    fd.psampling = &s;
    std::vector<int> vKept;
    for (int i = 0; i < c.ilRecords; i++)
      if (_ficdataRecordConcerned(&fd)) vKept.push_back(i);
    EXPECT_EQ(vKept, c.vKept) << c.ilSkip << "/" << c.ilInterval;
    EXPECT_EQ(s.ilCounter, c.ilRecords);
  }
  ficdata fd = {};
  EXPECT_EQ(_ficdataRecordConcerned(&fd), 1);   /* no sampling block: keep all */
}

}  // namespace
