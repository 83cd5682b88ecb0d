/*
** ochar_test.cpp
**   String objects: the 850/37 tables, CCSID classes, creation and varchar
**   prefixes, comparison (bytes, not C strings, then the pad rule), pad,
**   strip, append and copy-out tables, packing, conversion in place and the
**   letter cache, identifiers, fixed fields and the dump format.
*/
#include "common/ochar.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "common/ocnvft.h"
#include "common/odict.h"

namespace {

struct CharDeleter {
  void operator()(ochar *p) const { ocharDestroy(p); }
};
using CharPtr = std::unique_ptr<ochar, CharDeleter>;

/* A new owned string holding the bytes. */
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

uint16_t Prefix(const ochar *p)
{
  uint16_t us;
  std::memcpy(&us, p->pcData, sizeof us);
  return us;
}

std::string Native16(std::initializer_list<uint16_t> units)
{
  std::string s;
  for (uint16_t u : units) s.append(reinterpret_cast<const char *>(&u), 2);
  return s;
}

TEST(OcharTables, SpotValuesFromBothSides)
{
  struct Case {
    unsigned char uc850, uc37;
  } aCases[] = {{0x00, 0x00}, {0x20, 0x40}, {0x41, 0xC1}, {0x5B, 0x4A}, {0x5D, 0x4F}, {0x61, 0x81},
                {0x30, 0xF0}, {0x7C, 0x6A}, {0x85, 0x15}, {0x9F, 0xE1}, {0xC3, 0x80}, {0xFF, 0xFF}};
  for (const Case &c : aCases) {
    EXPECT_EQ(c.uc37, ocharTransASCII_EBCDIC[c.uc850]) << std::hex << int(c.uc850);
    EXPECT_EQ(c.uc850, ocharTransEBCDIC_ASCII[c.uc37]) << std::hex << int(c.uc37);
  }
  /* Two whole rows of the 850 -> 37 table. */
  const unsigned char ab5[16] = {0xD7, 0xD8, 0xD9, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6,
                                 0xE7, 0xE8, 0xE9, 0x4A, 0xE0, 0x4F, 0x5F, 0x6D};
  const unsigned char abD[16] = {0x9F, 0xA0, 0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF,
                                 0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6, 0xB7};
  EXPECT_EQ(0, std::memcmp(ab5, ocharTransASCII_EBCDIC + 0x50, 16));
  EXPECT_EQ(0, std::memcmp(abD, ocharTransASCII_EBCDIC + 0xD0, 16));
}

TEST(OcharTables, ArePermutationsAndInverses)
{
  std::vector<int> seen(256, 0);
  for (int b = 0; b < 256; b++) {
    seen[ocharTransASCII_EBCDIC[b]]++;
    EXPECT_EQ(b, ocharTransEBCDIC_ASCII[ocharTransASCII_EBCDIC[b]]) << b;
    EXPECT_EQ(b, ocharTransASCII_EBCDIC[ocharTransEBCDIC_ASCII[b]]) << b;
  }
  for (int b = 0; b < 256; b++) EXPECT_EQ(1, seen[b]) << b;
}

TEST(OcharClass, ClassOfCCSIDs)
{
  struct Case {
    uint16_t us;
    int iClass;
  } aCases[] = {
      {37, 0x10},    {850, 0x10},   {819, 0x10},   {65535, 0x10}, {1008, 0x10}, {1021, 0x10},
      {1007, 0x80},  {1022, 0x80},  {61712, 0x10}, {61713, 0x80}, {1200, 0x20}, {1202, 0x20},
      {13488, 0x20}, {300, 0x20},   {301, 0x20},   {29623, 0x20}, {1208, 0x40}, {930, 0x40},
      {939, 0x40},   {5050, 0x40},  {37813, 0x40}, {0, 0x80},     {1, 0x80},    {0xFFFE, 0x80},
  };
  for (const Case &c : aCases) EXPECT_EQ(c.iClass, ocharDetermineBCS(c.us)) << c.us;
}

TEST(OcharCreate, InitialFlagsAndLengths)
{
  ochar charA;
  ASSERT_EQ(0, ocharInit(&charA, 10, 0));
  EXPECT_EQ(850, charA.usCCSID);
  EXPECT_EQ(0x111, charA.usFlags);  /* owned, SBCS, made for 850 */
  EXPECT_EQ(10, charA.ilBT);
  EXPECT_EQ(0, charA.ilBU);
  std::free(charA.pcData);

  CharPtr pFixed0 = Make("ab", 0);
  EXPECT_EQ(0, pFixed0->usCCSID);
  EXPECT_EQ(OCHAR_OTHER, pFixed0->usFlags & OCHAR_CLASS);

  CharPtr pDbcs = Make(Native16({0x4E00, 0x4E01}), 1200);
  EXPECT_EQ(4, pDbcs->ilBU);
  EXPECT_EQ(2, pDbcs->ilL);
  EXPECT_EQ(OCHAR_DBCS, pDbcs->usFlags & OCHAR_CLASS);

  CharPtr pVar(ocharCreateVarchar(8, 0, OCHAR_REAL | OCHAR_OWNED));
  EXPECT_EQ(850, pVar->usCCSID);
  EXPECT_EQ(OCHAR_VARCHAR | OCHAR_REAL | OCHAR_OWNED | OCHAR_SBCS | OCHAR_850, pVar->usFlags);
}

TEST(OcharVarchar, PrefixFollowsEveryLengthChange)
{
  unsigned char abArea[2 + 3];
  uint16_t us = 3;
  std::memcpy(abArea, &us, 2);
  std::memcpy(abArea + 2, "ABC", 3);

  CharPtr pBytes(ocharCreateFromVarchar(abArea, 850, OCHAR_OWNED));
  ASSERT_NE(nullptr, pBytes);
  EXPECT_EQ("ABC", Text(pBytes.get()));
  EXPECT_EQ(3, Prefix(pBytes.get()));
  ASSERT_EQ(0, ocharAppendFixed(pBytes.get(), "DE", 2));
  EXPECT_EQ("ABCDE", Text(pBytes.get()));
  EXPECT_EQ(5, Prefix(pBytes.get()));
  ocharPad(pBytes.get(), 7, 2, '*');
  EXPECT_EQ(7, Prefix(pBytes.get()));
  ocharStrip(pBytes.get(), '*');
  EXPECT_EQ(5, Prefix(pBytes.get()));

  /* A VARGRAPHIC counted in characters: BU is twice the prefix. */
  unsigned char abGraphic[2 + 4];
  us = 2;
  std::memcpy(abGraphic, &us, 2);
  std::memcpy(abGraphic + 2, "\x4E\x00\x4E\x01", 4);
  CharPtr pChars(ocharCreateFromVarchar(abGraphic, 1200, OCHAR_OWNED | OCHAR_REAL));
  EXPECT_EQ(4, pChars->ilBU);
  EXPECT_EQ(2, pChars->ilL);
  EXPECT_EQ(2, Prefix(pChars.get()));
  ocharAppendChar(pChars.get(), 0x4E02);
  EXPECT_EQ(6, pChars->ilBU);
  EXPECT_EQ(pChars->ilL, Prefix(pChars.get()));
}

TEST(OcharGrow, BorrowedBuffersAreCopiedAndTerminatorsAdded)
{
  /* A caller's area is never reallocated or freed: growing copies it. */
  char acArea[4] = {'A', 'B', 'C', 'D'};
  ochar *p = static_cast<ochar *>(std::calloc(1, sizeof(ochar)));
  p->pcData = acArea;
  p->ilBU = p->ilBT = p->ilL = 4;
  p->usCCSID = 850;
  p->usFlags = OCHAR_SBCS;
  ASSERT_EQ(0, ocharAppendFixed(p, "EF", 2));
  EXPECT_NE(acArea, p->pcData);
  EXPECT_TRUE(p->usFlags & OCHAR_OWNED);
  EXPECT_EQ("ABCDEF", Text(p));
  EXPECT_EQ(6, p->ilBT);  /* grown to exactly what is needed */
  EXPECT_EQ(0, std::memcmp(acArea, "ABCD", 4));
  ocharDestroy(p);

  CharPtr pText = Make("AB", 850);
  ASSERT_EQ(0, ocharMakeC(pText.get()));
  EXPECT_EQ(2, pText->ilBU);
  EXPECT_STREQ("AB", _charText(pText.get()));
  CharPtr pDbcs = Make(Native16({0x4141}), 1200);
  ASSERT_EQ(0, ocharMakeC(pDbcs.get()));
  EXPECT_GE(pDbcs->ilBT, 4);
  EXPECT_EQ(0, std::memcmp(_charText(pDbcs.get()) + 2, "\0\0", 2));
}

TEST(OcharClone, CopiesAndTerminates)
{
  CharPtr pSbcs = Make("XYZ", 850);
  CharPtr pCopy(ocharClone(pSbcs.get()));
  ASSERT_NE(nullptr, pCopy);
  EXPECT_NE(pSbcs->pcData, pCopy->pcData);
  EXPECT_EQ("XYZ", Text(pCopy.get()));
  EXPECT_EQ('\0', _charText(pCopy.get())[3]);
  EXPECT_TRUE(pCopy->usFlags & OCHAR_OWNED);

  CharPtr pDbcs = Make(Native16({0x4141}), 1200);
  CharPtr pDbcsCopy(ocharClone(pDbcs.get()));
  EXPECT_GE(pDbcsCopy->ilBT, 4);
  EXPECT_EQ(0, std::memcmp(_charText(pDbcsCopy.get()) + 2, "\0\0", 2));
  EXPECT_EQ(nullptr, ocharClone(nullptr));
}

TEST(OcharCompare, BytesThenPadRule)
{
  struct Case {
    std::string a, b;
    int iExpected;
  } aCases[] = {
      {"AB", "AB  ", 0},   {"AB  ", "AB", 0},       {"AB", "ABC", -1},      {"ABC", "AB", 1},
      {"AB", "AB", 0},     {"", "   ", 0},         {"ABD", "ABC", 1},      {"AB", "AB!", -1},
      /* NUL bytes are data: the comparison must not stop at them. */
      {std::string("A\0B", 3), std::string("A\0C", 3), -1},
      {std::string("A\0C", 3), std::string("A\0B", 3), 1},
      {std::string("A\0", 2), std::string("A", 1), 1},  /* a longer, rest not blank */
  };
  for (const Case &c : aCases) {
    CharPtr pA = Make(c.a, 850), pB = Make(c.b, 850);
    int i = ocharCompare(pA.get(), pB.get(), ' ');
    EXPECT_EQ(c.iExpected, (i > 0) - (i < 0)) << "'" << c.a << "' vs '" << c.b << "'";
  }
  /* UTF-16 texts whose high bytes are all 0. */
  CharPtr pU1 = Make(Native16({'A', 'B'}), 1200), pU2 = Make(Native16({'A', 'C'}), 1200);
  EXPECT_LT(ocharCompare(pU1.get(), pU2.get(), ' '), 0);
  EXPECT_GT(ocharCompare(pU2.get(), pU1.get(), ' '), 0);
}

TEST(OcharPad, LeftAndRight)
{
  struct Case {
    std::string s;
    int n, iMode;
    std::string expected;
  } aCases[] = {
      {"AB", 4, 1, "**AB"}, {"AB", 4, 2, "AB**"}, {"ABCD", 2, 1, "CD"},
      {"ABCD", 2, 2, "AB"}, {"AB", 2, 1, "AB"},   {"", 3, 2, "***"},
      {"AB", 4, 3, "**AB"}, /* bit 0 is tested first */
  };
  for (const Case &c : aCases) {
    CharPtr p = Make(c.s, 850);
    ASSERT_EQ(0, ocharPad(p.get(), c.n, c.iMode, '*'));
    EXPECT_EQ(c.expected, Text(p.get())) << c.s << " mode " << c.iMode;
    EXPECT_EQ(c.n, p->ilL);
  }
  CharPtr pBad = Make("AB", 850);
  EXPECT_EQ(ORC_INVALID, ocharPad(pBad.get(), 4, 4, '*'));
  EXPECT_EQ("AB", Text(pBad.get()));

  /* Double-byte strings pad with native 16-bit units. */
  CharPtr pDbcs = Make(Native16({0x4E00}), 1200);
  ASSERT_EQ(0, ocharPad(pDbcs.get(), 3, 1, 0x3000));
  EXPECT_EQ(Native16({0x3000, 0x3000, 0x4E00}), Text(pDbcs.get()));
  EXPECT_EQ(6, pDbcs->ilBU);
  EXPECT_EQ(3, pDbcs->ilL);
}

TEST(OcharStrip, TrailingCharacters)
{
  struct Case {
    std::string s;
    int iResult;
    std::string expected;
  } aCases[] = {{"A   ", 1, "A"}, {"    ", 0, ""}, {"A B ", 3, "A B"}, {"AB", 2, "AB"}};
  for (const Case &c : aCases) {
    CharPtr p = Make(c.s, 850);
    EXPECT_EQ(c.iResult, ocharStrip(p.get(), ' ')) << c.s;
    EXPECT_EQ(c.expected, Text(p.get()));
  }
  /* Double-byte units are matched high byte first. */
  CharPtr pDbcs = Make(std::string("\x4E\x00\x00\x20\x00\x20", 6), 1200);
  EXPECT_EQ(1, ocharStrip(pDbcs.get(), 0x0020));
  EXPECT_EQ(2, pDbcs->ilBU);

  CharPtr pNoClass = Make("A  ", 850);
  pNoClass->usFlags &= static_cast<uint16_t>(~OCHAR_CLASS);
  EXPECT_EQ(0, ocharStrip(pNoClass.get(), ' '));
  EXPECT_EQ(3, pNoClass->ilBU);
}

TEST(OcharAppend, CharsFixedWidthsAndConcatenation)
{
  CharPtr pDbcs(ocharCreate(0, 1200));
  ASSERT_EQ(0, ocharAppendChar(pDbcs.get(), 0x4E00));
  EXPECT_EQ(std::string("\x4E\x00", 2), Text(pDbcs.get()));
  EXPECT_EQ(2, pDbcs->ilBU);
  EXPECT_EQ(0, ocharAppendFixed(pDbcs.get(), "xx", 2));  /* ignored for double-byte */
  EXPECT_EQ(2, pDbcs->ilBU);

  CharPtr pSbcs(ocharCreate(0, 850));
  ASSERT_EQ(0, ocharAppendChar(pSbcs.get(), 0x1241));
  EXPECT_EQ("A", Text(pSbcs.get()));

  struct Case {
    std::string s;
    int iWidth;
    std::string expected;
  } aCases[] = {{"ABC", 5, "ABC.."}, {"ABCDE", 3, "ABC"}, {"", 2, ".."}, {"AB", 2, "AB"}};
  for (const Case &c : aCases) {
    CharPtr pTarget(ocharCreate(0, 850));
    CharPtr pSource = Make(c.s, 850);
    ASSERT_EQ(0, _ocharCatFixed(pTarget.get(), pSource.get(), c.iWidth, '.'));
    EXPECT_EQ(c.expected, Text(pTarget.get()));
    EXPECT_EQ(pTarget->ilBU, pTarget->ilL);
  }
  CharPtr pDbcsTarget(ocharCreate(0, 1200));
  CharPtr pDbcsSource = Make(std::string("\x4E\x00", 2), 1200);
  ASSERT_EQ(0, _ocharCatFixed(pDbcsTarget.get(), pDbcsSource.get(), 6, ' '));
  EXPECT_EQ(std::string("\x4E\x00\x00\x20\x00\x20", 6), Text(pDbcsTarget.get()));
  EXPECT_EQ(3, pDbcsTarget->ilL);

  /* Concatenation: widths, stripped fills, and the separator rule. */
  CharPtr p1 = Make("AB  ", 850), p2 = Make("CD", 850), pEmpty = Make("", 850);
  CharPtr pOut(ocharCreate(0, 850));
  ASSERT_EQ(0, ocharConcatene(pOut.get(), p1.get(), 0, ' ', p2.get(), 4, '-', ';'));
  EXPECT_EQ("AB;CD--", Text(pOut.get()));
  CharPtr pOut2(ocharCreate(0, 850));
  ASSERT_EQ(0, ocharConcatene(pOut2.get(), pEmpty.get(), 0, 0, p2.get(), 0, 0, ';'));
  EXPECT_EQ("CD", Text(pOut2.get()));
  CharPtr pOut3(ocharCreate(0, 850));
  ASSERT_EQ(0, ocharConcatene(pOut3.get(), pEmpty.get(), 2, '_', p2.get(), 0, 0, ';'));
  EXPECT_EQ("__;CD", Text(pOut3.get()));
  CharPtr pOut4(ocharCreate(0, 850));
  ASSERT_EQ(0, ocharConcatene(pOut4.get(), nullptr, 0, 0, p2.get(), 0, 0, ';'));
  EXPECT_EQ("CD", Text(pOut4.get()));
}

TEST(OcharCopyOut, FixedAreas)
{
  CharPtr p = Make("ABC", 850);
  char ac[8];
  std::memset(ac, '#', sizeof ac);
  EXPECT_EQ(OCHAR_RC_TRUNCATED, ocharCopyToCharFixed(p.get(), ac, 2, '*'));
  EXPECT_EQ("AB#", std::string(ac, 3));
  EXPECT_EQ(0, ocharCopyToCharFixed(p.get(), ac, 5, '*'));
  EXPECT_EQ("ABC**#", std::string(ac, 6));

  CharPtr pDbcs = Make(Native16({0x4E00}), 1200);
  char acD[7];
  std::memset(acD, '#', sizeof acD);
  EXPECT_EQ(0, ocharCopyToCharFixed(pDbcs.get(), acD, 7, 0x3000));
  EXPECT_EQ(Native16({0x4E00, 0x3000, 0x3000}) + "#", std::string(acD, 7));
}

TEST(OcharCopyOut, VarcharAreaAndOverlongValue)
{
  CharPtr p = Make("ABC", 850);
  unsigned char ab[8];
  ASSERT_EQ(0, ocharCopyToVarchar(p.get(), ab, 3, 0));
  uint16_t us;
  std::memcpy(&us, ab, 2);
  EXPECT_EQ(3, us);
  EXPECT_EQ(0, std::memcmp(ab + 2, "ABC", 3));

  /* A value that does not fit is dropped: that must not read as success. */
  std::memset(ab, 0xEE, sizeof ab);
  int rc = ocharCopyToVarchar(p.get(), ab, 2, 0);
  EXPECT_NE(0, rc);
  EXPECT_GE(oreasonSeverity(rc), 1);
  std::memcpy(&us, ab, 2);
  EXPECT_EQ(0, us);
  EXPECT_EQ(0xEE, ab[2]);
}

TEST(OcharPack, HexDigitsToBytes)
{
  struct Case {
    std::string s, expected;
  } aCases[] = {{"C1C2F", "\xC1\xC2\xF0"}, {"00ff", std::string("\x00\xFF", 2)}, {"zZ", std::string("\x00", 1)}};
  for (const Case &c : aCases) {
    CharPtr p = Make(c.s, 850);
    ASSERT_EQ(0, ocharPack(p.get()));
    EXPECT_EQ(c.expected, Text(p.get())) << c.s;
    EXPECT_EQ(p->ilBU, p->ilL);
  }
}

TEST(OcharTranslate, PairsOf37And850Only)
{
  CharPtr pSource = Make("[A ]", 850);
  CharPtr pTarget(ocharCreate(0, 37));
  ASSERT_EQ(0, ocharTranslate(pSource.get(), pTarget.get()));
  EXPECT_EQ("\x4A\xC1\x40\x4F", Text(pTarget.get()));

  CharPtr pOther(ocharCreate(0, 819));
  EXPECT_EQ(ORC_INVALID, ocharTranslate(pSource.get(), pOther.get()));
  EXPECT_EQ(0, pOther->ilBU);

  char ac[4];
  EXPECT_EQ(0, ocharTranslateCopy(37, 850, "\x4A\xC1\x40\x4F", 4, ac));
  EXPECT_EQ("[A ]", std::string(ac, 4));
  int32_t il = 0;
  void *p = ocharTranslateClone(819, 1208, "xyz", 3, &il);
  EXPECT_EQ(3, il);
  EXPECT_EQ(0, std::memcmp(p, "xyz", 3));
  std::free(p);
}

TEST(OcharConvert, Tables37And850NeverReachIcu)
{
  ocnvftCreateGlobal(nullptr, 'A', 0x80, 37, 0, 1200, 819, 0, 1200, 850, 1208, 1202, 819, 0, 1200);
  CharPtr p = Make("$[a", 850);
  ASSERT_EQ(0, ocharConvert(p.get(), 37));
  EXPECT_EQ(37, p->usCCSID);
  EXPECT_EQ("\x5B\x4A\x81", Text(p.get()));
  ASSERT_EQ(0, ocharConvert(p.get(), 850));
  EXPECT_EQ("$[a", Text(p.get()));
  EXPECT_EQ(0u, odictGetCount(gpcnvft->pdictCache));

  /* The same CCSID changes nothing. */
  ASSERT_EQ(0, ocharConvert(p.get(), 850));
  EXPECT_EQ("$[a", Text(p.get()));
}

TEST(OcharConvert, ThroughIcuAndEmptyStrings)
{
  ocnvftCreateGlobal(nullptr, 'A', 0x80, 37, 0, 1200, 819, 0, 1200, 850, 1208, 1202, 819, 0, 1200);
  CharPtr p = Make("\x82t\xE9", 819);  /* 0x82 is a C1 control in 819 */
  ASSERT_EQ(0, ocharConvert(p.get(), 1208));
  EXPECT_EQ("\xC2\x82t\xC3\xA9", Text(p.get()));
  EXPECT_EQ(OCHAR_MIXED, p->usFlags & OCHAR_CLASS);

  /* An empty string takes the class of its new CCSID too. */
  CharPtr pEmpty = Make("", 850);
  ASSERT_EQ(0, ocharConvert(pEmpty.get(), 1200));
  EXPECT_EQ(1200, pEmpty->usCCSID);
  EXPECT_EQ(OCHAR_DBCS, pEmpty->usFlags & OCHAR_CLASS);
  EXPECT_EQ(0, pEmpty->usFlags & OCHAR_850);
}

TEST(OcharConvertChar, CachedPerCCSID)
{
  ocnvftCreateGlobal(nullptr, 'A', 0x80, 37, 0, 1200, 819, 0, 1200, 850, 1208, 1202, 819, 0, 1200);
  int rc = -1;
  EXPECT_EQ(0xFFC1, ocharConvertChar(0xC1, 850, &rc));  /* unchanged, sign-extended */
  EXPECT_EQ(0, rc);
  EXPECT_EQ(' ', ocharConvertChar(' ', 0, &rc));

  EXPECT_EQ(0x40, ocharConvertChar(' ', 37, &rc));
  EXPECT_EQ(0, rc);
  EXPECT_EQ(0x0020, ocharConvertChar(' ', 1202, &rc));
  EXPECT_EQ(0, rc);
  ASSERT_NE(nullptr, gpdictLetter);
  EXPECT_EQ(0x10040u, reinterpret_cast<uintptr_t>(odictLoad(gpdictLetter, (37u << 16) | ' ')));
  EXPECT_EQ(0x10020u, reinterpret_cast<uintptr_t>(odictLoad(gpdictLetter, (1202u << 16) | ' ')));

  /* A cached answer does not convert again. */
  ocnvftCreateGlobal(nullptr, 'A', 0x80, 37, 0, 1200, 819, 0, 1200, 850, 1208, 1202, 819, 0, 1200);
  EXPECT_EQ(0x40, ocharConvertChar(' ', 37, &rc));
  EXPECT_EQ(0u, odictGetCount(gpcnvft->pdictCache));
}

TEST(OcharIdent, OrdinaryAndDelimited)
{
  struct Case {
    std::string s;
    int iExpected;
  } aCases[] = {{"ABC_1", 1}, {"#X$@", 1}, {"1ABC", 0}, {"A-B", 0},
                {"\x0E\x41\x42\x0F", 1}, {"\x0E\x41\x0F", 0}, {"\x0E  \x0F", 0}, {"", 0}};
  for (const Case &c : aCases) {
    CharPtr p = Make(c.s, 850);
    EXPECT_EQ(c.iExpected, ocharIsOrdinaryIdent(p.get())) << c.s;
  }
  CharPtr pDbcs = Make(Native16({0x4E00}), 1200);
  EXPECT_EQ(1, ocharIsOrdinaryIdent(pDbcs.get()));
  CharPtr pMixed = Make("ABC", 1208);
  EXPECT_EQ(0, ocharIsOrdinaryIdent(pMixed.get()));

  CharPtr pOut(ocharCreate(0, 850));
  CharPtr pQuoted = Make("A\"B", 850);
  ASSERT_EQ(0, ocharBuildDelimited(pOut.get(), pQuoted.get(), '"', 0));
  EXPECT_EQ("\"A\"\"B\"", Text(pOut.get()));

  CharPtr pIdent = Make("TAB1    ", 850);
  CharPtr pOut2(ocharCreate(0, 850));
  ASSERT_EQ(0, ocharBuildDelimitedIdent(pOut2.get(), pIdent.get(), '"', 0));
  EXPECT_EQ("TAB1", Text(pOut2.get()));
  CharPtr pLower = Make("my tab  ", 850);
  CharPtr pOut3(ocharCreate(0, 850));
  ASSERT_EQ(0, ocharBuildDelimitedIdent(pOut3.get(), pLower.get(), '"', 0));
  EXPECT_EQ("\"my tab\"", Text(pOut3.get()));

  /* Mixed text keeping its shifts: delimiters between SO and SI stay single. */
  CharPtr pShift = Make("\"\x0E\"\"\x0F", 1208);
  CharPtr pOut4(ocharCreate(0, 1208));
  ASSERT_EQ(0, ocharBuildDelimited(pOut4.get(), pShift.get(), '"', 1));
  EXPECT_EQ("\"\"\"\x0E\"\"\x0F\"", Text(pOut4.get()));
}

TEST(OcharFixedFields, ConversionsBothWays)
{
  char ac[16];
  EXPECT_EQ(3, ocharStripF2C("ABC  \0\0", ac, 7));
  EXPECT_STREQ("ABC", ac);

  std::memset(ac, '#', sizeof ac);
  EXPECT_EQ(2, ocharC2F("AB", ac, 5, '.', 1));
  EXPECT_STREQ("AB...", ac);

  struct Case {
    long l;
    int iDigits;
    char cFill;
    const char *pcExpected;
  } aCases[] = {{42, 5, ' ', "   42"}, {42, 5, '0', "00042"}, {-42, 5, ' ', "-  42"},
                {0, 3, ' ', "  0"},     {12345, 3, '0', "345"}};
  for (const Case &c : aCases) {
    std::memset(ac, '#', sizeof ac);
    ASSERT_EQ(0, ocharLong2F(c.l, ac, c.iDigits, c.cFill, 1));
    EXPECT_STREQ(c.pcExpected, ac);
  }
  EXPECT_EQ(-17, ocharF2Long(" -17xy", 6));
  EXPECT_EQ(123, ocharF2Long("+123", 4));
  EXPECT_EQ(12, ocharF2Long("123", 2));
}

TEST(OcharDump, HeaderAndHexLines)
{
  CharPtr p = Make(std::string("AB\x01", 3), 850);
  FILE *pfile = std::tmpfile();
  ASSERT_NE(nullptr, pfile);
  int iCount = ocharDump2(0, &pfile, p.get(), 2);
  std::rewind(pfile);
  char ac[512];
  size_t ul = std::fread(ac, 1, sizeof ac, pfile);
  std::fclose(pfile);
  std::string expected = "  OCHAR- CCSID:352 BU 3 BT 3 L 3 - SBCS \n"
                         "    0x00 : 41 42 01 " +
                         std::string(13 * 3, ' ') + "AB.\n";
  EXPECT_EQ(expected, std::string(ac, ul));
  EXPECT_EQ(static_cast<int>(expected.size()), iCount);

  /* Quiet: the same count, nothing written. */
  EXPECT_EQ(iCount, ocharDump2(1, nullptr, p.get(), 2));

  CharPtr pVar(ocharCreateVarchar(20, 1200, OCHAR_REAL));
  ocharAppendFixedS(pVar.get(), std::string(17, 'x').data(), 17);
  pfile = std::tmpfile();
  ocharDump2(0, &pfile, pVar.get(), 0);
  std::rewind(pfile);
  ul = std::fread(ac, 1, sizeof ac, pfile);
  std::fclose(pfile);
  std::string s(ac, ul);
  EXPECT_EQ(0u, s.find("OCHAR- CCSID:4b0 BU 17 BT 20 L 17 - Real Varchar DBCS \n")) << s;
  EXPECT_NE(std::string::npos, s.find("\n    0x10 : 78 " + std::string(15 * 3, ' ') + "x\n")) << s;

  ochar charNone;
  ocharInit(&charNone, 0, 850);
  EXPECT_EQ(ORC_INVALID, ocharDump2(1, nullptr, &charNone, 0));
  EXPECT_EQ(0, ocharPrintServices(p.get(), nullptr));
}

}  // namespace
