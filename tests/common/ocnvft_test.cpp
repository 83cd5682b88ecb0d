/*
** ocnvft_test.cpp
**   Code-page conversion: contexts, conversions through real ICU converters,
**   the converter cache shared by ocnvftConvert and ocnvftGetConverter, the
**   CCSIDs that never open a converter, pairs without converters (ZORI006E
**   once, bytes copied), and the locale, code-set, mixed and substitute
**   tables.
*/
#include "common/ocnvft.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "common/ochar.h"
#include "common/odict.h"
#include "common/omsgs.h"
#include "common/ostack.h"

namespace {

struct CharDeleter {
  void operator()(ochar *p) const { ocharDestroy(p); }
};
using CharPtr = std::unique_ptr<ochar, CharDeleter>;

CharPtr Make(const std::string &s, uint16_t usCCSID)
{
  ochar *p = static_cast<ochar *>(std::malloc(sizeof(ochar)));
  EXPECT_EQ(0, ocharInitFromFixed(p, s.data(), static_cast<int32_t>(s.size()), usCCSID));
  return CharPtr(p);
}

std::string Text(const ochar *p)
{
  if (p->pcData == nullptr) return std::string();
  return std::string(_charText(p), static_cast<size_t>(p->ilBU));
}

std::string Native16(std::initializer_list<uint16_t> units)
{
  std::string s;
  for (uint16_t u : units) s.append(reinterpret_cast<const char *>(&u), 2);
  return s;
}

/* Each test starts from a fresh global context like the one start-up makes,
** and collects the messages issued on the deferred stack. */
class OcnvftTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    ASSERT_EQ(0, ocnvftCreateGlobal(nullptr, 'A', 0x80, 37, 0, 1200, 819, 0, 1200, 850, 1208, 1202,
                                    819, 0, 1200));
    omsgsRestaureDefered(nullptr);
    boOldDefered_ = omsgsSetDefered(1);
  }
  void TearDown() override
  {
    omsgsRestaureDefered(nullptr);
    omsgsSetDefered(boOldDefered_);
  }
  /* The messages issued since the start of the test. */
  std::vector<std::string> Messages()
  {
    std::vector<std::string> v;
    if (gpstackMessage == nullptr) return v;
    for (int i = 0; i < ostackGetCount(gpstackMessage); i++)
      v.emplace_back(reinterpret_cast<const char *>(ostackGetAt(gpstackMessage, i)));
    return v;
  }
  /* Converts text from one CCSID to another; returns the code. */
  int Convert(const std::string &s, uint16_t usFrom, uint16_t usTo, std::string *pOut)
  {
    CharPtr pSource = Make(s, usFrom);
    CharPtr pTarget(ocharCreate(0, usTo));
    pTarget->usCCSID = usTo;  /* ocharCreate turns 0 into 850 */
    int rc = ocnvftConvert(nullptr, pSource.get(), pTarget.get());
    *pOut = Text(pTarget.get());
    lastL_ = pTarget->ilL;
    return rc;
  }
  ocnvftEntry *Cached(uint16_t usFrom, uint16_t usTo)
  {
    return static_cast<ocnvftEntry *>(odictLoad(gpcnvft->pdictCache, (uintptr_t)usFrom << 16 | usTo));
  }
  int boOldDefered_ = 0;
  int32_t lastL_ = 0;
};

TEST_F(OcnvftTest, ContextsAndTriples)
{
  ASSERT_NE(nullptr, gpcnvft);
  EXPECT_EQ(0x80, gpcnvft->ucFlag);
  EXPECT_EQ('A', gpcnvft->cLetter);
  EXPECT_EQ(37, gpcnvft->tripleHost.usSBCS);
  EXPECT_EQ(1200, gpcnvft->tripleHost.usDBCS);
  EXPECT_EQ(0, gpcnvft->tripleHost.usMixed);
  EXPECT_EQ(1208, gpcnvft->tripleInternal.usMixed);
  EXPECT_EQ(1202, gpcnvft->tripleInternal.usDBCS);
  EXPECT_EQ(819, gpcnvft->tripleAppli.usSBCS);
  ocnvftSetExternal(nullptr, 819, 1208, 1200);
  EXPECT_EQ(1208, gpcnvft->tripleExternal.usMixed);
  EXPECT_EQ(1200, gpcnvft->tripleExternal.usDBCS);
  ocnvftSetDB(nullptr, 1208);
  EXPECT_EQ(1208, gpcnvft->usDbCCSID);

  /* A private context is not global. */
  ocnvft *pcnvft = ocnvftCreate(nullptr, 'A', 0x80, 37, 0, 1200, 850, 0, 0, 850, 1208, 1202, 850, 0, 0);
  ASSERT_NE(nullptr, pcnvft);
  EXPECT_NE(gpcnvft, pcnvft);
  ocnvftDestroy(pcnvft);

  /* Without a global context, the first conversion makes one with defaults. */
  ocnvftDestroy(gpcnvft);
  ASSERT_EQ(nullptr, gpcnvft);
  std::string s;
  EXPECT_EQ(0, Convert("A", 819, 1208, &s));
  ASSERT_NE(nullptr, gpcnvft);
  EXPECT_EQ(0x80, gpcnvft->ucFlag);
  EXPECT_EQ(850, gpcnvft->tripleHost.usSBCS);
  EXPECT_EQ(1208, gpcnvft->tripleInternal.usMixed);
  EXPECT_EQ(0, gpcnvft->tripleExternal.usSBCS);
}

TEST_F(OcnvftTest, SpecialAndEqualCCSIDsCopyWithoutConverter)
{
  const uint16_t aus[][2] = {{0, 1208}, {1208, 0}, {0xFFFF, 850}, {850, 0xFFFE}, {1208, 1208}};
  for (const auto &pair : aus) {
    std::string s;
    EXPECT_EQ(0, Convert(std::string("\xE9\0x", 3), pair[0], pair[1], &s));
    EXPECT_EQ(std::string("\xE9\0x", 3), s);
    ocnvftEntry *pentry = reinterpret_cast<ocnvftEntry *>(1);
    EXPECT_EQ(0, ocnvftGetConverter(&pentry, nullptr, pair[0], pair[1]));
    EXPECT_EQ(nullptr, pentry);
  }
  EXPECT_EQ(0u, odictGetCount(gpcnvft->pdictCache));
}

TEST_F(OcnvftTest, ConvertsThroughIcuAndCachesThePair)
{
  std::string s;
  ASSERT_EQ(0, Convert("d\xE9j\xE0", 819, 1208, &s));
  EXPECT_EQ("d\xC3\xA9j\xC3\xA0", s);
  EXPECT_EQ(4, lastL_);
  ocnvftEntry *pentry = Cached(819, 1208);
  ASSERT_NE(nullptr, pentry);
  EXPECT_EQ(OCNVFT_KIND_ICU, pentry->ilKind);
  UErrorCode status = U_ZERO_ERROR;
  EXPECT_STREQ("ISO-8859-1", ucnv_getName(pentry->pconvSource, &status));
  EXPECT_STREQ("UTF-8", ucnv_getName(pentry->pconvTarget, &status));
  UConverter *pconvSource = pentry->pconvSource;

  /* The second conversion reuses the entry and its converters. */
  ASSERT_EQ(0, Convert("\xFC", 819, 1208, &s));
  EXPECT_EQ("\xC3\xBC", s);
  EXPECT_EQ(pentry, Cached(819, 1208));
  EXPECT_EQ(pconvSource, pentry->pconvSource);
  EXPECT_EQ(1u, odictGetCount(gpcnvft->pdictCache));

  /* ocnvftGetConverter hands out the same entry. */
  ocnvftEntry *pgot = nullptr;
  EXPECT_EQ(0, ocnvftGetConverter(&pgot, nullptr, 819, 1208));
  EXPECT_EQ(pentry, pgot);
}

TEST_F(OcnvftTest, Utf16InMachineOrderOnEitherSide)
{
  std::string s;
  /* 850 -> 1202: native UTF-16, BU twice the source length. */
  ASSERT_EQ(0, Convert("A\x82", 850, 1202, &s));
  EXPECT_EQ(Native16({'A', 0x00E9}), s);
  EXPECT_EQ(2, lastL_);
  EXPECT_EQ(nullptr, Cached(850, 1202)->pconvTarget);

  /* 1202 -> 1208 */
  ASSERT_EQ(0, Convert(Native16({0x00E9, 0x20AC}), 1202, 1208, &s));
  EXPECT_EQ("\xC3\xA9\xE2\x82\xAC", s);
  EXPECT_EQ(nullptr, Cached(1202, 1208)->pconvSource);

  /* 13488 is big-endian UTF-16. */
  ASSERT_EQ(0, Convert(std::string("\x00\x41\x00\xE9", 4), 13488, 1208, &s));
  EXPECT_EQ("A\xC3\xA9", s);
}

TEST_F(OcnvftTest, UnmappableCharactersAreSubstituted)
{
  std::string s;
  ASSERT_EQ(0, Convert("\xE2\x82\xAC" "A\xC3\xA9", 1208, 850, &s));  /* euro sign, A, e acute */
  EXPECT_EQ("\x7F" "A\x82", s);
}

TEST_F(OcnvftTest, PairWithoutConvertersIssuesOneMessage)
{
  std::string s;
  EXPECT_EQ(OCNVFT_RC_NOCONVERT, Convert("AB", 301, 941, &s));
  EXPECT_EQ("AB", s);
  EXPECT_EQ(OCNVFT_RC_NOCONVERT, Convert("CD", 301, 941, &s));
  EXPECT_EQ("CD", s);
  auto v = Messages();
  ASSERT_EQ(1u, v.size());
  EXPECT_EQ("ZORI006E NO CONVERSION WAS AVAILABLE BETWEEN CCSID 301 AND CCSID 941\n", v[0]);

  ocnvftEntry *pentry = reinterpret_cast<ocnvftEntry *>(1);
  EXPECT_EQ(OCNVFT_RC_NOCONVERTER, ocnvftGetConverter(&pentry, nullptr, 301, 941));
  EXPECT_EQ(nullptr, pentry);
  EXPECT_EQ(1u, Messages().size());

  /* A new context reports the pair again. */
  ocnvftCreateGlobal(nullptr, 'A', 0x80, 37, 0, 1200, 819, 0, 1200, 850, 1208, 1202, 819, 0, 1200);
  EXPECT_EQ(OCNVFT_RC_NOCONVERTER, ocnvftGetConverter(&pentry, nullptr, 301, 941));
  EXPECT_EQ(2u, Messages().size());
}

TEST_F(OcnvftTest, PairWithOnlyOneSideOpenFails)
{
  /* The source side opens, the target side cannot: no UTF-16 may come out
  ** in place of the code page asked for. */
  std::string s;
  EXPECT_EQ(OCNVFT_RC_NOCONVERT, Convert("AB", 850, 941, &s));
  EXPECT_EQ("AB", s);
  EXPECT_EQ(OCNVFT_KIND_NONE, Cached(850, 941)->ilKind);
  ASSERT_EQ(1u, Messages().size());
  EXPECT_EQ("ZORI006E NO CONVERSION WAS AVAILABLE BETWEEN CCSID 850 AND CCSID 941\n", Messages()[0]);

  ocnvftEntry *pentry = nullptr;
  EXPECT_EQ(OCNVFT_RC_NOCONVERTER, ocnvftGetConverter(&pentry, nullptr, 1208, 301));
  EXPECT_EQ(nullptr, pentry);
  EXPECT_EQ(2u, Messages().size());

  /* The same holds when the failing side is the source (target 1202). */
  EXPECT_EQ(OCNVFT_RC_NOCONVERT, Convert("AB", 301, 1202, &s));
  EXPECT_EQ("AB", s);
}

TEST_F(OcnvftTest, GetConverterTreats1200AsMachineUtf16)
{
  ocnvftEntry *pentry = nullptr;
  ASSERT_EQ(0, ocnvftGetConverter(&pentry, nullptr, 1200, 1208));
  ASSERT_NE(nullptr, pentry);
  EXPECT_EQ(nullptr, pentry->pconvSource);
  EXPECT_NE(nullptr, pentry->pconvTarget);

  /* ocnvftConvert then uses that entry: the source is read in machine order. */
  std::string s;
  ASSERT_EQ(0, Convert(Native16({0x00E9}), 1200, 1208, &s));
  EXPECT_EQ("\xC3\xA9", s);
  EXPECT_EQ(pentry, Cached(1200, 1208));

  /* Names that ICU knows under another spelling still open, warnings included. */
  ASSERT_EQ(0, ocnvftGetConverter(&pentry, nullptr, 5050, 1208));
  ASSERT_NE(nullptr, pentry);
  EXPECT_NE(nullptr, pentry->pconvSource);
  EXPECT_EQ(0, Convert("ABC", 943, 1208, &s));
  EXPECT_EQ("ABC", s);
}

TEST_F(OcnvftTest, GrowsTheWorkBufferForLongTexts)
{
  std::string sLong(3000, '\xE9');
  std::string s;
  ASSERT_EQ(0, Convert(sLong, 819, 850, &s));
  EXPECT_EQ(std::string(3000, '\x82'), s);
  EXPECT_GE(Cached(819, 850)->ilWorkSize, 6000);

  /* A varchar target gets its prefix rewritten. */
  CharPtr pSource = Make("\xE9\xE9", 819);
  CharPtr pTarget(ocharCreateVarchar(0, 1208, 0));
  ASSERT_EQ(0, ocnvftConvert(nullptr, pSource.get(), pTarget.get()));
  uint16_t us;
  std::memcpy(&us, pTarget->pcData, 2);
  EXPECT_EQ(4, us);
  EXPECT_EQ("\xC3\xA9\xC3\xA9", Text(pTarget.get()));
}

TEST(OcnvftTables, LocaleNames)
{
  struct Case {
    const char *pcName;
    uint32_t ulMask;
    int rc;
    uint16_t usSBCS, usDBCS;
  } aCases[] = {
      {"C", 2, 0, 819, 1200},          {"", 2, 0, 819, 1200},
      {"de_DE", 2, 0, 819, 1200},      {"fr_FR.iso885915", 2, 0, 923, 1200},
      {"JA_JP", 2, 0, 1208, 1200},     {"ja_JP", 2, 0, 5050, 5050},
      {"ru_RU", 2, 0, 915, 1200},      {"pl_PL", 2, 0, 912, 1200},
      {"en_US.UTF-8", 2, OCNVFT_RC_NOCONVERTER, 0, 0},
      {"de_de", 2, OCNVFT_RC_NOCONVERTER, 0, 0},
      {"gr_GR", 4, OCNVFT_RC_NOCONVERTER, 0, 0},
  };
  for (const Case &c : aCases) {
    uint16_t usS = 7, usD = 7;
    EXPECT_EQ(c.rc, ocnvftGetCCSIDFromLocale(c.pcName, c.ulMask, &usS, &usD)) << c.pcName;
    EXPECT_EQ(c.usSBCS, usS) << c.pcName;
    EXPECT_EQ(c.usDBCS, usD) << c.pcName;
  }
}

TEST(OcnvftTables, CodeSetsMixedAndSubstitutes)
{
  struct CodeSet {
    const char *pcName;
    uint16_t us;
  } aCodeSets[] = {{"IBM-1047", 1047}, {"UTF-8", 1208}, {"ISO8859-1", 0}, {"IBM-943", 943},
                   {"IBM-", 0},        {"IBM-65537", 1}, {"ibm-850", 0}};
  for (const CodeSet &c : aCodeSets) EXPECT_EQ(c.us, ocnvftCodeSet2Ccsid(c.pcName)) << c.pcName;

  struct Mixed {
    uint16_t us, usS, usD;
  } aMixed[] = {{943, 897, 941}, {850, 850, 0},     {1200, 0, 1200},
                {1208, 1208, 1202}, {954, 895, 13488}, {5050, 7, 7}};
  for (const Mixed &c : aMixed) {
    uint16_t usS = 7, usD = 7;
    EXPECT_EQ(0, ocnvftDecomposeMixed(c.us, &usS, &usD));
    EXPECT_EQ(c.usS, usS) << c.us;
    EXPECT_EQ(c.usD, usD) << c.us;
  }

  EXPECT_EQ(943, ocnvftSubstInternal(941));
  EXPECT_EQ(943, ocnvftSubstExternal(941));
  EXPECT_EQ(5050, ocnvftSubstInternal(895));
  EXPECT_EQ(1386, ocnvftSubstExternal(1385));
  EXPECT_EQ(850, ocnvftSubstInternal(850));
}

}  // namespace
