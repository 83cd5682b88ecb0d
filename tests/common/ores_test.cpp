// Typed resources: creation flags, expectation checks, every value kind
// round-tripped through a real file and a memory image, length prefixes,
// EBCDIC and double-byte strings, repetitions, named storage and
// sub-dictionaries.
#include <gtest/gtest.h>

#include "tests/zavtest.h"

#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "common/ochar.h"
#include "common/ores.h"
#include "common/orestype.h"
#include "common/orscs.h"
#include "common/ostack.h"

namespace {

std::vector<unsigned char> data(const ores *pres)
{
  return std::vector<unsigned char>(pres->pData, pres->pData + pres->ulDataLength);
}

void expectAgain(ores *pres, int32_t iType)
{
  pres->ulReadPos = 0;
  ostackPush(pres->pstackExpect, static_cast<uint32_t>(iType));
  ostackPush(pres->pstackExpect, 0);
}

class oresTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(oresInitModule(), 0); }
};

TEST_F(oresTest, CreateSetsBufferFlagsAndOneExpectation)
{
  ores *pres = oresCreate(ORES_TYPE_I32, 0, 0);
  ASSERT_NE(pres, nullptr);
  EXPECT_EQ(pres->ulBufferSize, 10u);
  EXPECT_EQ(pres->ulFlags, 0x00010352u);
  ASSERT_EQ(oresPutLong(pres, 0x01020304), 0);
  EXPECT_EQ(data(pres), (std::vector<unsigned char>{1, 2, 3, 4}));
  EXPECT_EQ(ostackGetCount(pres->pstackExpect), 0);
  EXPECT_EQ(oresPutLong(pres, 5), ORES_RC_UNEXPECTED);
  oresDestroy(pres);

  struct {
    uint32_t in, out;
  } flags[] = {{0, 0x10352}, {0x20000, 0x20352}, {0x30025, 0x30025}, {37, 0x10025}, {0x10000, 0x10352}};
  for (const auto &f : flags) {
    pres = oresCreate(ORES_TYPE_I8, 4, f.in);
    EXPECT_EQ(pres->ulFlags, f.out) << std::hex << f.in;
    oresDestroy(pres);
  }
  EXPECT_EQ(oresCreate(0x00770000, 0, 0), nullptr);           // unregistered kind
  EXPECT_EQ(oresCreate(static_cast<int32_t>(0x80770001), 0, 0), nullptr);   // unregistered user type
}

TEST_F(oresTest, ValuesMustMatchTheirDeclaration)
{
  ores *pres = oresCreate(ORES_TYPE_I32, 0, 0);
  EXPECT_EQ(oresPutShort(pres, 1), ORES_RC_PUTTYPE);
  oresDestroy(pres);

  // A fixed string of 8 refuses the length-prefixed put, but a get of any
  // string form reads the declared 8 bytes.
  pres = oresCreate(0x40080000, 0, 0);
  ochar *pchar = ocharCreate(8, 850);
  ocharAppendFixedS(pchar, "ABCDEFGH", 8);
  EXPECT_EQ(oresPutChar(pres, pchar), ORES_RC_PUTTYPE);
  expectAgain(pres, 0x40080000);
  ASSERT_EQ(oresPutoChar(pres, pchar), ORES_RC_PUTTYPE);   // 0x40000352: fixed length differs
  expectAgain(pres, 0x40080000);
  ASSERT_EQ(oresPutCharFixed(pres, "ABCDEFGH", 8, 8), 0);
  EXPECT_EQ(data(pres), (std::vector<unsigned char>{'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'}));
  expectAgain(pres, 0x40080000);
  ochar *pback = ocharCreate(1, 850);
  ASSERT_EQ(oresGetChar(pres, pback), 0);
  EXPECT_EQ(std::string(pback->pcData, pback->ilBU), "ABCDEFGH");
  expectAgain(pres, 0x40080000);
  int rc = 0;
  EXPECT_EQ(oresGet(pres, ORES_TYPE_I32, nullptr, &rc), nullptr);
  EXPECT_EQ(rc, ORES_RC_GETTYPE);
  ocharDestroy(pchar);
  ocharDestroy(pback);
  oresDestroy(pres);
}

TEST_F(oresTest, IntegerPastTheEndFailsWithoutMoving)
{
  ores *pres = oresCreate(ORES_TYPE_I32, 0, 0);
  pres->ulDataLength = 3;
  expectAgain(pres, ORES_TYPE_I32);
  int32_t l = 0;
  EXPECT_EQ(oresGetLong(pres, &l), ORES_RC_EOD);
  EXPECT_EQ(pres->ulReadPos, 0u);
  oresDestroy(pres);
}

TEST_F(oresTest, LengthPrefixThresholds)
{
  struct {
    uint32_t length;
    std::vector<unsigned char> prefix;
  } cases[] = {
      {0, {0x00}},
      {254, {0xFE}},
      {255, {0xFF, 0x00, 0xFF}},
      {32766, {0xFF, 0x7F, 0xFE}},
      {32767, {0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x7F, 0xFF}},
      {40000, {0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x9C, 0x40}},
  };
  for (const auto &c : cases) {
    std::string text(c.length, 'q');
    for (size_t i = 0; i < text.size(); i += 7) text[i] = static_cast<char>('a' + i % 26);
    ores *pres = oresCreate(ORES_TYPE_STRING, 0, 0);
    ASSERT_EQ(oresPutCharFromC(pres, text.c_str()), 0);
    ASSERT_EQ(pres->ulDataLength, c.prefix.size() + c.length) << c.length;
    EXPECT_EQ(std::vector<unsigned char>(pres->pData, pres->pData + c.prefix.size()), c.prefix) << c.length;
    expectAgain(pres, ORES_TYPE_STRING);
    char *pc = oresGetCharToC(pres, nullptr, 4);
    ASSERT_NE(pc, nullptr);
    EXPECT_EQ(std::string(pc), text) << c.length;
    std::free(pc);
    // A prefix that promises more than the data holds is refused.
    expectAgain(pres, ORES_TYPE_STRING);
    pres->ulDataLength--;
    if (c.length > 0) {
      EXPECT_EQ(oresGetCharToC(pres, nullptr, 4), nullptr) << c.length;
    }
    oresDestroy(pres);
  }
}

TEST_F(oresTest, StringsAreTranslatedToTheDeclaredCodePage)
{
  // A fixed string declared in a CCSID-37 resource is stored in EBCDIC and read back in 850.
  ores *pres = oresCreate(0x40080000, 0, 37);
  ASSERT_EQ(oresPutCharFixed(pres, "ABCD1234", 8, 8), 0);
  EXPECT_EQ(data(pres), (std::vector<unsigned char>{0xC1, 0xC2, 0xC3, 0xC4, 0xF1, 0xF2, 0xF3, 0xF4}));
  expectAgain(pres, 0x40080000);
  char buf[10] = {};
  ASSERT_EQ(oresGetCharFixed(pres, buf, sizeof buf, 8), 0);
  EXPECT_STREQ(buf, "ABCD1234");
  // Binary views are never translated.
  expectAgain(pres, 0x4008FFFF);
  pres->ulDataLength = 0;
  const unsigned char raw[8] = {0, 1, 2, 0xC1, 0xFF, 5, 6, 7};
  ASSERT_EQ(oresPutCharFixedFBD(pres, raw, 8, 8), 0);
  EXPECT_EQ(data(pres), std::vector<unsigned char>(raw, raw + 8));
  expectAgain(pres, 0x4008FFFF);
  unsigned char back[8] = {};
  ASSERT_EQ(oresGetCharFixedFBD(pres, back, 8, 8), 0);
  EXPECT_EQ(std::memcmp(back, raw, 8), 0);
  oresDestroy(pres);
}

TEST_F(oresTest, DoubleByteStringReadsBackWhole)
{
  ores *pres = oresCreate(ORES_TYPE_STRING, 0, 1200);
  const char utf16[] = {0x00, 'A', 0x4E, 0x00, 0x00, 'B'};
  ochar in;
  ASSERT_EQ(ocharInitFromFixed(&in, utf16, 6, 1200), 0);
  ASSERT_EQ(oresPutoChar(pres, &in), 0);
  EXPECT_EQ(data(pres), (std::vector<unsigned char>{6, 0x00, 'A', 0x4E, 0x00, 0x00, 'B'}));
  expectAgain(pres, ORES_TYPE_STRING);
  ochar *pout = ocharCreate(2, 1200);
  ASSERT_EQ(oresGetoChar(pres, pout), 0);
  EXPECT_EQ(pout->ilBU, 6);
  EXPECT_EQ(pout->ilL, 3);
  EXPECT_EQ(std::memcmp(pout->pcData, utf16, 6), 0);
  // Without a string object a new one of the stored CCSID is made.
  expectAgain(pres, ORES_TYPE_STRING);
  int rc = 0;
  ochar *pnew = static_cast<ochar *>(oresGet(pres, ORES_TYPE_STRING, nullptr, &rc));
  ASSERT_NE(pnew, nullptr);
  EXPECT_EQ(pnew->usCCSID, 1200);
  EXPECT_EQ(pnew->ilBU, 6);
  EXPECT_EQ(pnew->ilL, 3);
  ocharDestroy(pnew);
  ocharDestroy(pout);
  std::free(in.pcData);
  oresDestroy(pres);
}

// A record with one member of every kind, written and read by its own procedure.
struct Record {
  int8_t c;
  uint8_t uc;
  int16_t s;
  uint16_t us;
  int32_t l;
  uint32_t ul;
  float f;
  double d;
  std::string text;
  char fixed[5];
  uint32_t count;
  int32_t items[3];
  uint32_t pairs;
  int16_t pairA[2];
  int8_t pairB[2];
};

const int32_t RECORD_TYPE = static_cast<int32_t>(0x80990001);
const oresTData recordMembers[] = {
    {ORES_TYPE_I8, "c"},         {ORES_TYPE_U8, "uc"},     {ORES_TYPE_I16, "s"},
    {ORES_TYPE_U16, "us"},       {ORES_TYPE_I32, "l"},     {ORES_TYPE_U32, "ul"},
    {ORES_TYPE_FLOAT + 4, "f"},  {ORES_TYPE_FLOAT + 8, "d"}, {ORES_TYPE_STRING, "text"},
    {0x40050000, "fixed"},       {ORES_TYPE_REPNEXT, "n"}, {ORES_TYPE_I32, "item"},
    {0x400200, "pairs"},         {ORES_TYPE_I16, "a"},     {ORES_TYPE_I8, "b"},
    {0, nullptr},
};

void *recordProc(ores *pres, int32_t, void *pv, int iPut, int *prc)
{
  Record *p = static_cast<Record *>(pv);
  int rc = 0;
  if (iPut) {
    rc |= oresPutByte(pres, p->c);
    rc |= oresPut(pres, ORES_TYPE_U8, &p->uc);
    rc |= oresPutShort(pres, p->s);
    rc |= oresPut(pres, ORES_TYPE_U16, &p->us);
    rc |= oresPutLong(pres, p->l);
    rc |= oresPut(pres, ORES_TYPE_U32, &p->ul);
    rc |= oresPut(pres, ORES_TYPE_FLOAT + 4, &p->f);
    rc |= oresPut(pres, ORES_TYPE_FLOAT + 8, &p->d);
    rc |= oresPutCharFromC(pres, p->text.c_str());
    rc |= oresPutCharFixed(pres, p->fixed, 5, 5);
    rc |= oresPutArray(pres, p->count, 1);
    for (uint32_t i = 0; i < p->count; i++) rc |= oresPutLong(pres, p->items[i]);
    rc |= oresPutArray(pres, p->pairs, 2);
    for (uint32_t i = 0; i < p->pairs; i++) {
      rc |= oresPutShort(pres, p->pairA[i]);
      rc |= oresPutByte(pres, p->pairB[i]);
    }
  } else {
    if (p == nullptr) p = new Record{};
    rc |= oresGetByte(pres, &p->c);
    oresGet(pres, ORES_TYPE_U8, &p->uc, &rc);
    rc |= oresGetShort(pres, &p->s);
    oresGet(pres, ORES_TYPE_U16, &p->us, &rc);
    rc |= oresGetLong(pres, &p->l);
    oresGet(pres, ORES_TYPE_U32, &p->ul, &rc);
    oresGet(pres, ORES_TYPE_FLOAT + 4, &p->f, &rc);
    oresGet(pres, ORES_TYPE_FLOAT + 8, &p->d, &rc);
    char *pc = oresGetCharToC(pres, nullptr, 1);
    if (pc != nullptr) p->text = pc;
    else rc |= 1;
    std::free(pc);
    rc |= oresGetCharFixed(pres, p->fixed, 5, 5);
    p->count = 0;
    rc |= oresGetArray(pres, &p->count, 1);
    for (uint32_t i = 0; i < p->count && i < 3; i++) rc |= oresGetLong(pres, &p->items[i]);
    p->pairs = 0;
    rc |= oresGetArray(pres, &p->pairs, 2);
    for (uint32_t i = 0; i < p->pairs && i < 2; i++) {
      rc |= oresGetShort(pres, &p->pairA[i]);
      rc |= oresGetByte(pres, &p->pairB[i]);
    }
  }
  *prc = rc;
  return rc == 0 ? p : nullptr;
}

void expectSameRecord(const Record &a, const Record &b)
{
  EXPECT_EQ(a.c, b.c);
  EXPECT_EQ(a.uc, b.uc);
  EXPECT_EQ(a.s, b.s);
  EXPECT_EQ(a.us, b.us);
  EXPECT_EQ(a.l, b.l);
  EXPECT_EQ(a.ul, b.ul);
  EXPECT_EQ(a.f, b.f);
  EXPECT_EQ(a.d, b.d);
  EXPECT_EQ(a.text, b.text);
  EXPECT_EQ(std::memcmp(a.fixed, b.fixed, 5), 0);
  ASSERT_EQ(a.count, b.count);
  for (uint32_t i = 0; i < a.count; i++) EXPECT_EQ(a.items[i], b.items[i]);
  ASSERT_EQ(a.pairs, b.pairs);
  for (uint32_t i = 0; i < a.pairs; i++) {
    EXPECT_EQ(a.pairA[i], b.pairA[i]);
    EXPECT_EQ(a.pairB[i], b.pairB[i]);
  }
}

TEST_F(oresTest, EveryKindRoundTripsThroughAFileAndAMemoryImage)
{
  ASSERT_EQ(oresTypeRegisterStatic(recordMembers, RECORD_TYPE, "record", recordProc), 0);
  Record in{-5, 250, -30000, 65000, -2000000000, 4000000000u, 1.5f, -2.25e100, "hello, world",
            {'F', 'I', 'X', 'E', 'D'}, 3, {7, -8, 9}, 2, {-1, 2}, {3, -4}};
  zavtestTempDir dir;
  std::string path = dir.file("kinds");
  for (int iMemory = 0; iMemory < 2; iMemory++) {
    orscs *prscs = iMemory ? orscsCreate(nullptr, 5, 1024) : orscsCreate(path.c_str(), 2, 0);
    ASSERT_NE(prscs, nullptr);
    oresdict *pdict = oresCreateDict(prscs->pdictMain, "records", 0);
    ASSERT_NE(pdict, nullptr);
    ores *pres = oresCreate(RECORD_TYPE, 0, 0);
    ASSERT_EQ(oresPut(pres, RECORD_TYPE, &in), 0);
    ASSERT_EQ(oresStoreNamed(pdict, "one", pres), 0);
    oresDestroy(pres);
    oresdictDestroy(pdict);
    void *pImage = nullptr;
    uint32_t ulUsed = 0;
    if (iMemory) {
      pImage = orscsExportAndDestroy(prscs, &ulUsed, nullptr);
      ASSERT_NE(pImage, nullptr);
      prscs = orscsCreateFromMem(pImage, ulUsed);
    } else {
      ASSERT_EQ(orscsDestroy(prscs), 0);
      prscs = orscsCreate(path.c_str(), 2, 0);
    }
    ASSERT_NE(prscs, nullptr);
    // The file keeps the type's descriptor in "__system".
    EXPECT_TRUE(oresIsExist(prscs->pdictSystem, "record"));
    pdict = oresLoadDict(prscs->pdictMain, "records");
    ASSERT_NE(pdict, nullptr);
    pres = oresLoadNamed(pdict, "one");
    ASSERT_NE(pres, nullptr);
    EXPECT_EQ(pres->resType, RECORD_TYPE);
    Record out{};
    int rc = 0;
    ASSERT_NE(oresGet(pres, RECORD_TYPE, &out, &rc), nullptr) << std::hex << rc;
    expectSameRecord(in, out);
    EXPECT_EQ(pres->ulReadPos, pres->ulDataLength);
    oresDestroy(pres);
    oresdictDestroy(pdict);
    EXPECT_EQ(orscsDestroy(prscs), 0);
  }
}

TEST_F(oresTest, RepetitionCountsAreStoredOrChecked)
{
  static const oresTData members[] = {{0x400200, "group"}, {ORES_TYPE_I32, "x"}, {ORES_TYPE_I32, "y"},
                                      {ORES_TYPE_I16, "after"}, {0, nullptr}};
  ASSERT_EQ(oresTypeRegisterStatic(members, static_cast<int32_t>(0x80990002), "groups", recordProc), 0);
  // Count 0: four zero bytes, the group consumed, then the member after it.
  ores *pres = oresCreate(static_cast<int32_t>(0x80990002), 0, 0);
  ostackPop(pres->pstackExpect);
  ostackPop(pres->pstackExpect);
  _resPushMembers(pres->pstackExpect, _resGetUserType(static_cast<int32_t>(0x80990002)));
  ASSERT_EQ(oresPutArray(pres, 0, 2), 0);
  EXPECT_EQ(oresPutLong(pres, 1), ORES_RC_PUTTYPE);   // the group is gone: "after" is next
  EXPECT_EQ(data(pres), (std::vector<unsigned char>{0, 0, 0, 0}));
  oresDestroy(pres);

  // A count written in the code is not stored, and a different count is refused.
  pres = oresCreate(ORES_TYPE_I8, 0, 0);
  ostackPop(pres->pstackExpect);
  ostackPop(pres->pstackExpect);
  ostackPush(pres->pstackExpect, ORES_TYPE_I8);
  ostackPush(pres->pstackExpect, 0);
  ostackPush(pres->pstackExpect, ORES_TYPE_REPNEXT + 2);
  ostackPush(pres->pstackExpect, 0);
  uint32_t ulCount = 3;
  EXPECT_EQ(oresPut(pres, ORES_TYPE_REPNEXT, &ulCount), ORES_RC_COUNT);
  ostackPush(pres->pstackExpect, ORES_TYPE_REPNEXT + 2);
  ostackPush(pres->pstackExpect, 0);
  ulCount = 2;
  ASSERT_EQ(oresPut(pres, ORES_TYPE_REPNEXT, &ulCount), 0);
  EXPECT_EQ(oresPutByte(pres, 1), 0);
  EXPECT_EQ(oresPutByte(pres, 2), 0);
  EXPECT_EQ(data(pres), (std::vector<unsigned char>{1, 2}));
  // A repetition with nothing after it.
  ostackPush(pres->pstackExpect, ORES_TYPE_REPNEXT);
  ostackPush(pres->pstackExpect, 0);
  EXPECT_EQ(oresPut(pres, ORES_TYPE_REPNEXT, &ulCount), ORES_RC_NOMEMBER);
  oresDestroy(pres);

  // A stored count larger than the data left is damage, not an allocation.
  pres = oresCreate(ORES_TYPE_REPNEXT, 0, 0);
  ostackPush(pres->pstackExpect, ORES_TYPE_I8);
  ostackPush(pres->pstackExpect, 0);
  const unsigned char huge[] = {0xFF, 0xFF, 0xFF, 0xF0, 1, 2};
  std::memcpy(pres->pData, huge, sizeof huge);
  pres->ulDataLength = sizeof huge;
  ostackPop(pres->pstackExpect);
  ostackPop(pres->pstackExpect);
  ostackPop(pres->pstackExpect);
  ostackPop(pres->pstackExpect);
  expectAgain(pres, ORES_TYPE_I8);
  expectAgain(pres, ORES_TYPE_REPNEXT);
  EXPECT_EQ(oresGetArray(pres, &ulCount, 1), ORES_RC_EOD);
  oresDestroy(pres);
}

class oresNamed : public oresTest {
 protected:
  zavtestTempDir dir;
  orscs *prscs = nullptr;
  void SetUp() override
  {
    oresTest::SetUp();
    prscs = orscsCreate(dir.file("named").c_str(), 2, 0);
    ASSERT_NE(prscs, nullptr);
  }
  void TearDown() override { EXPECT_EQ(orscsDestroy(prscs), 0); }
  ores *longRes(int32_t l)
  {
    ores *pres = oresCreate(ORES_TYPE_I32, 0, 0);
    EXPECT_EQ(oresPutLong(pres, l), 0);
    return pres;
  }
  int32_t loadLong(oresdict *pdict, const char *pcName)
  {
    ores *pres = oresLoadNamed(pdict, pcName);
    if (pres == nullptr) return -999;
    int32_t l = -998;
    oresGetLong(pres, &l);
    oresDestroy(pres);
    return l;
  }
};

TEST_F(oresNamed, OneResourceUnderTwoNamesIsOneBlock)
{
  oresdict *pmain = prscs->pdictMain;
  ores *pres = longRes(11);
  uint32_t ulBlocks = prscs->pheader->ulNbOfRes;
  ASSERT_EQ(oresStoreNamed(pmain, "first", pres), 0);
  ASSERT_EQ(oresStoreNamed(pmain, "second", pres), 0);
  EXPECT_EQ(prscs->pheader->ulNbOfRes, ulBlocks + 1);
  EXPECT_EQ(loadLong(pmain, "first"), 11);
  EXPECT_EQ(loadLong(pmain, "second"), 11);
  // Dropping one name keeps the block the other name still holds.
  ASSERT_EQ(oresStoreNamed(pmain, "first", nullptr), 0);
  EXPECT_FALSE(oresIsExist(pmain, "first"));
  EXPECT_EQ(loadLong(pmain, "second"), 11);
  EXPECT_EQ(prscs->pheader->ulNbOfRes, ulBlocks + 1);
  oresDestroy(pres);
}

TEST_F(oresNamed, IncompleteResourcesAndBadNamesAreRefused)
{
  oresdict *pmain = prscs->pdictMain;
  ores *pres = oresCreate(ORES_TYPE_I32, 0, 0);
  uint32_t rbaEOF = prscs->pheader->rbaEOF;
  EXPECT_EQ(oresStoreNamed(pmain, "incomplete", pres), ORES_RC_INCOMPLETE);
  EXPECT_EQ(prscs->pheader->rbaEOF, rbaEOF);
  EXPECT_FALSE(oresIsExist(pmain, "incomplete"));
  oresPutLong(pres, 1);
  std::string longName(256, 'n');
  EXPECT_EQ(oresStoreNamed(pmain, longName.c_str(), pres), ORC_INVALID);
  EXPECT_EQ(oresCreateDict(pmain, longName.c_str(), 0), nullptr);
  EXPECT_EQ(prscs->pheader->rbaEOF, rbaEOF);
  std::string maxName(255, 'm');
  EXPECT_EQ(oresStoreNamed(pmain, maxName.c_str(), pres), 0);
  EXPECT_EQ(loadLong(pmain, maxName.c_str()), 1);
  EXPECT_EQ(oresLoadNamed(pmain, "never"), nullptr);
  EXPECT_EQ(oresLoadDict(pmain, "never"), nullptr);
  EXPECT_EQ(oresRemoveDict(pmain, "never"), ORES_RC_NONAME);
  oresDestroy(pres);
}

TEST_F(oresNamed, SubDictionariesAreCreatedLoadedSharedAndRemoved)
{
  oresdict *pmain = prscs->pdictMain;
  oresdict *psub = oresCreateDict(pmain, "sub", 0);
  ASSERT_NE(psub, nullptr);
  oresdict *pinner = oresCreateDict(psub, "inner", 0);
  ASSERT_NE(pinner, nullptr);
  ores *pres = longRes(5);
  ASSERT_EQ(oresStoreNamed(psub, "value", pres), 0);
  ASSERT_EQ(oresStoreNamed(pinner, "deep", pres), 0);
  oresDestroy(pres);
  oresdictDestroy(pinner);
  uint32_t ulBlocksBefore = prscs->pheader->ulNbOfRes;

  // Held by its creator: shared use.
  EXPECT_EQ(oresRemoveDict(pmain, "sub"), ORES_RC_SHARED);
  EXPECT_EQ(oresLoadDict(pmain, "sub"), psub);   // shared object, count 2
  oresdictDestroy(psub);
  oresdictDestroy(psub);                        // count 0: loaded but not held
  ASSERT_EQ(oresRemoveDict(pmain, "sub"), 0);
  EXPECT_FALSE(oresIsExist(pmain, "sub"));
  EXPECT_EQ(oresLoadDict(pmain, "sub"), nullptr);
  // sub, inner and their two resources are released.
  EXPECT_EQ(prscs->pheader->ulNbOfRes, ulBlocksBefore - 4);
  EXPECT_EQ(oresRemoveDict(pmain, "sub"), 0);   // a name without block: nothing to do

  // A name holding a resource is not turned into a dictionary.
  pres = longRes(9);
  ASSERT_EQ(oresStoreNamed(pmain, "int", pres), 0);
  oresDestroy(pres);
  EXPECT_EQ(oresCreateDict(pmain, "int", 0), nullptr);
  EXPECT_EQ(loadLong(pmain, "int"), 9);
  EXPECT_EQ(oresRemoveDict(pmain, "int"), ORES_RC_NOARG);
  // A resource stored over a dictionary's name gets a block of its own; a
  // dictionary is not dropped through the resource path.
  oresdict *pkept = oresCreateDict(pmain, "kept", 0);
  ASSERT_NE(pkept, nullptr);
  uint32_t rbaKept = pkept->rba;
  EXPECT_EQ(oresStoreNamed(pmain, "kept", nullptr), ORES_RC_NOARG);
  EXPECT_TRUE(oresIsExist(pmain, "kept"));
  pres = longRes(12);
  ASSERT_EQ(oresStoreNamed(pmain, "kept", pres), 0);
  EXPECT_NE(pres->rba, rbaKept);
  oresDestroy(pres);
  EXPECT_EQ(loadLong(pmain, "kept"), 12);
  ores *pin = longRes(13);
  EXPECT_EQ(oresStoreNamed(pkept, "still", pin), 0);   // the held object still works
  oresDestroy(pin);
  oresdictDestroy(pkept);
  // A removed name can become a dictionary again.
  psub = oresCreateDict(pmain, "sub", 0);
  ASSERT_NE(psub, nullptr);
  EXPECT_TRUE(oresIsExist(pmain, "sub"));
  oresdictDestroy(psub);
}

TEST_F(oresNamed, CursorWalksTheNames)
{
  oresdict *pmain = prscs->pdictMain;
  ores *pres = longRes(3);
  ASSERT_EQ(oresStoreNamed(pmain, "x", pres), 0);
  oresDestroy(pres);
  oresdict *psub = oresCreateDict(pmain, "d", 0);
  oresdictDestroy(psub);
  std::vector<std::string> seen;
  oresDictCursor cursor;
  for (oresDictCursorInit(&cursor, pmain); oresDictCursorGetName(&cursor) != nullptr; oresDictCursorNext(&cursor)) {
    std::string name = oresDictCursorGetName(&cursor);
    seen.push_back(name);
    if (name == "x") {
      EXPECT_EQ(oresDictCursorGetType(&cursor), static_cast<uint32_t>(ORES_TYPE_I32));
      ores *p = oresDictCursorLoad(&cursor);
      ASSERT_NE(p, nullptr);
      oresDestroy(p);
    } else {
      EXPECT_EQ(oresDictCursorGetType(&cursor), static_cast<uint32_t>(ORSCS_DICT_TYPE));
      oresdict *p = oresDictCursorLoadDict(&cursor);
      EXPECT_NE(p, nullptr);
      oresdictDestroy(p);
    }
    EXPECT_EQ(oresDictCursorLoadArray(&cursor), nullptr);
  }
  oresDictCursorDestroy(&cursor);
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen, (std::vector<std::string>{"__system", "d", "x"}));
}

}  // namespace
