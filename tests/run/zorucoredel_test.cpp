/*
** zorucoredel_test.cpp
**   DEL column frame (separator, null and default text, record end) and the
**   numeric converters: records in unload form through the conversion table
**   to exact DEL bytes; malformed records and a full output buffer.
*/
#include "run/zorucoredel.h"

#include <gtest/gtest.h>
#include <unicode/ucnv.h>

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "run/zorucorechar.h"
#include "tests/run/ucoretest.h"

namespace {

const uint32_t SEP = ZORUCORE_FLAG_SEP;
const uint32_t DELIM = ZORUCORE_FLAG_DELIM;

struct numCase {
  uint16_t    usSource;
  int32_t     iLength;    /* DECIMAL: precision << 8 | scale */
  ucoreBytes  value;
  uint32_t    ulFlags;
  const char *pcPoint;
  const char *pcText;
};

ucoreBytes le16(int16_t s) { return ucoreBytes().le16(0, static_cast<uint16_t>(s)); }
ucoreBytes le32(int32_t l) { return ucoreBytes().le32(0, static_cast<uint32_t>(l)); }
ucoreBytes le64(int64_t ll) { return ucoreBytes().le64(0, static_cast<uint64_t>(ll)); }
ucoreBytes dbl(double d)
{
  uint64_t ul;
  std::memcpy(&ul, &d, sizeof ul);
  return le64(static_cast<int64_t>(ul));
}
ucoreBytes flt(float f)
{
  uint32_t ul;
  std::memcpy(&ul, &f, sizeof ul);
  return le32(static_cast<int32_t>(ul));
}
ucoreBytes packed(std::initializer_list<unsigned char> l) { return ucoreBytes().put(0, l); }

}  // namespace

TEST(zorucoreNumbers, TextOfEachValue)
{
  const numCase acase[] = {
    {0x0001, 2, le16(0), DELIM, ".", "0"},
    {0x0001, 2, le16(-1), 0, ".", "-1"},
    {0x0001, 2, le16(-32768), 0, ".", "-32768"},
    {0x0001, 2, le16(32767), ZORUCORE_FLAG_PLUS, ".", "+32767"},
    {0x0001, 2, le16(0), ZORUCORE_FLAG_PLUS, ".", "+0"},
    {0x0002, 4, le32(1000000000), 0, ".", "1000000000"},
    {0x0002, 4, le32(std::numeric_limits<int32_t>::min()), 0, ".", "-2147483648"},
    {0x0002, 4, le32(-7), ZORUCORE_FLAG_PLUS, ".", "-7"},
    {0x0006, 8, le64(std::numeric_limits<int64_t>::min()), 0, ".", "-9223372036854775808"},
    {0x0006, 8, le64(std::numeric_limits<int64_t>::max()), 0, ".", "9223372036854775807"},
    {0x0006, 8, le64(10), 0, ".", "10"},
    /* DECIMAL: sign, integer digits with leading zeros, point, fraction */
    {0x0003, 5 << 8 | 2, packed({0x12, 0x34, 0x5C}), 0, ".", "+123.45"},
    {0x0003, 4 << 8 | 1, packed({0x00, 0x01, 0x2C}), DELIM, ".", "+001.2"},
    {0x0003, 5 << 8 | 5, packed({0x12, 0x34, 0x5C}), 0, ".", "+.12345"},
    {0x0003, 6 << 8 | 3, packed({0x00, 0x00, 0x00, 0x0C}), 0, ".", "+000.000"},
    {0x0003, 5 << 8 | 0, packed({0x12, 0x34, 0x5C}), 0, ".", "+12345."},
    {0x0003, 6 << 8 | 0, packed({0x01, 0x23, 0x45, 0x6C}), 0, ".", "+123456"},
    {0x0003, 1 << 8 | 0, packed({0x7C}), 0, ".", "+7."},
    {0x0003, 2 << 8 | 0, packed({0x00, 0x7C}), 0, ".", "+07"},
    {0x0003, 5 << 8 | 2, packed({0x12, 0x34, 0x5D}), 0, ".", "-123.45"},
    {0x0003, 5 << 8 | 2, packed({0x12, 0x34, 0x5B}), 0, ".", "-123.45"},
    {0x0003, 5 << 8 | 2, packed({0x12, 0x34, 0x5F}), 0, ".", "+123.45"},   /* 0xF is an unsigned positive */
    {0x0003, 5 << 8 | 2, packed({0x12, 0x34, 0x5A}), 0, ".", "+123.45"},
    {0x0003, 5 << 8 | 2, packed({0x12, 0x34, 0x5C}), 0, ",", "+123,45"},
    {0x0003, 5 << 8 | 2, packed({0x12, 0x34, 0x5C}), 0, "", "+123.45"},   /* no point given: "." */
    {0x0003, 31 << 8 | 2, packed({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x5D}), 0, ".",
     "-00000000000000000000000000000.05"},
    /* DOUBLE "%.15G", REAL "%.6G", always with a point */
    {0x0004, 8, dbl(1.5), DELIM, ".", "1.5"},
    {0x0004, 8, dbl(1e20), 0, ".", "1E+20"},
    {0x0004, 8, dbl(1.0 / 3.0), 0, ".", "0.333333333333333"},
    {0x0004, 8, dbl(-2.5e-7), 0, ",", "-2.5E-07"},
    {0x0004, 8, dbl(123456789012345678.0), 0, ".", "1.23456789012346E+17"},
    {0x0004, 8, dbl(0.0), 0, ".", "0"},
    {0x0004, 8, dbl(std::numeric_limits<double>::infinity()), 0, ".", "INF"},
    {0x0005, 4, flt(0.1f), 0, ".", "0.1"},
    {0x0005, 4, flt(1234567.0f), 0, ".", "1.23457E+06"},
  };
  for (const numCase &c : acase) {
    ucoreCores cores;
    zorucoreData *pcore = cores.make(c.ulFlags, ",", '"', c.pcPoint);
    int iRc = -1;
    std::string strText = ucoreOne(cores, {c.usSource, static_cast<uint16_t>(0xB000 | c.usSource), c.iLength, 0, pcore},
                                   ucoreRecord(static_cast<int16_t>(c.value.v.size()), c.value), &iRc);
    EXPECT_EQ(iRc, 0) << c.pcText;
    EXPECT_EQ(strText, std::string(c.pcText) + "\n") << "source key " << std::hex << c.usSource;
  }
}

/* printf's "%.<p>G" in the C locale, as the standard library writes it. */
std::string _refG(double d, int iPrecision)
{
  char ac[64];
  std::to_chars_result res = std::to_chars(ac, ac + sizeof ac, d, std::chars_format::general, iPrecision);
  std::string str(ac, res.ptr);
  for (char &c : str) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return str;
}

TEST(zorucoreNumbers, FloatTextIsPrintfsForEveryKindOfValue)
{
  /* most values are written digit by digit: the text must still be printf's,
     at the edges of the plain range, near rounding ties and for any bits */
  std::vector<double> vd = {0.0, -0.0, 1e-4, 9.9999999999999991e-5, 1e-5, 0.1, 0.2, 0.3, 0.1 + 0.2, 1.0 / 3.0,
                            2.0 / 3.0, 0.5, 1.5, 2.5, 9.5, 99.5, 999999999999999.0, 999999999999999.5,
                            99999999999999.95, 1e14, 1e15, 1e16, 123456789012345.6, 0.000123456789012345,
                            9.99999999999999e-5, 1e-300, 5e-324, 1.7976931348623157e308,
                            std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                            std::numeric_limits<double>::quiet_NaN(), 4.5, 3.75, 1.25, -2.5e-7, 1234.5678,
                            0.1234565, 0.1234575, 1234565.0, 999999.5, 9999995.0, 0.00012345650000000001};
  uint64_t ul = 0x9E3779B97F4A7C15ull;
  auto next = [&ul] {
    ul ^= ul << 13;
    ul ^= ul >> 7;
    ul ^= ul << 17;
    return ul;
  };
  for (int i = 0; i < 200000; i++) {
    uint64_t ulBits = next();
    double d;
    std::memcpy(&d, &ulBits, sizeof d);
    vd.push_back(d);                                                            /* any bits */
    vd.push_back(static_cast<double>(static_cast<int64_t>(next() % 2000000001) - 1000000000) /
                 std::pow(10.0, static_cast<double>(next() % 12)));            /* decimal fractions */
    vd.push_back(std::ldexp(static_cast<double>(next() % 1000000), -static_cast<int>(next() % 40)));   /* binary fractions */
    float f;
    uint32_t u32 = static_cast<uint32_t>(next());
    std::memcpy(&f, &u32, sizeof f);
    vd.push_back(f);
    vd.push_back(static_cast<float>(vd[vd.size() - 3]));
  }
  int iMismatch = 0;
  for (double d : vd) {
    for (int iPrecision : {15, 6}) {
      char ac[64];
      int iLength = _zorucoreFloatText(d, iPrecision, ac, sizeof ac);
      std::string strWant = _refG(d, iPrecision);
      if (iLength < 0 || std::string(ac, static_cast<size_t>(iLength)) != strWant) {
        if (iMismatch++ < 10)
          ADD_FAILURE() << std::hexfloat << d << " %." << iPrecision << "G: got \""
                        << (iLength < 0 ? std::string("(none)") : std::string(ac, static_cast<size_t>(iLength)))
                        << "\", want \"" << strWant << "\"";
      }
    }
  }
  EXPECT_EQ(iMismatch, 0);
}

TEST(zorucoreNumbers, CorruptDecimalOrDefinitionDropsTheRow)
{
  struct {
    int32_t    iLength;
    ucoreBytes value;
  } acase[] = {
    {5 << 8 | 2, packed({0x1A, 0x34, 0x5C})},   /* a digit nibble above 9 */
    {5 << 8 | 2, packed({0x12, 0x34, 0x56})},   /* a digit where the sign belongs */
    {3 << 8 | 4, packed({0x12, 0x3C})},          /* scale above precision */
    {0 << 8 | 0, packed({0x0C})},                /* no digit */
  };
  for (auto &c : acase) {
    ucoreCores cores;
    int iRc = 0;
    ucoreOne(cores, {0x0003, 0xB003, c.iLength, 0, cores.make(0)},
             ucoreRecord(static_cast<int16_t>(c.value.v.size()), c.value), &iRc);
    EXPECT_EQ(iRc, ZORUCORE_RC_BADVALUE) << std::hex << c.iLength;
  }
}

/* A row of several columns: separators, null fields, the record end. */
TEST(zorucoreFrame, RowOfColumnsWithNullsAndRecordEnd)
{
  /* SMALLINT at 0 (nullable), INTEGER at 3 (nullable), DECIMAL(4,1) at 8 */
  ucoreBytes data;
  data.le16(0, 5).put(2, {1})                          /* SMALLINT 5, but null */
      .le32(3, 42).put(7, {0})                         /* INTEGER 42 */
      .put(8, {0x00, 0x01, 0x2C});                     /* DECIMAL 1.2 */
  auto rec = ucoreRecord(11, data);
  struct {
    bool        boFirstNull;
    const char *pcText;
  } acase[] = {{true, ",42,+001.2\n"}, {false, "5,42,+001.2\n"}};
  for (auto &c : acase) {
    auto recCase = rec;
    recCase[8 + 2] = c.boFirstNull ? 1 : 0;
    ucoreCores cores;
    std::vector<ucoreCol> vcol = {
      {0x0801, 0xB001, 2, 0, cores.make(DELIM)},
      {0x0802, 0xB002, 4, 3, cores.make(SEP | DELIM)},
      {0x0003, 0xB003, 4 << 8 | 1, 8, cores.make(SEP | DELIM)},
      ucoreEndCol(cores.end()),
    };
    std::string strText;
    EXPECT_EQ(ucoreConvert(vcol, recCase, &strText), 0);
    EXPECT_EQ(strText, c.pcText);
  }
}

TEST(zorucoreFrame, NullAndDefaultText)
{
  struct {
    const char *pcName;
    uint16_t    usSource;
    int16_t     sOffset;      /* the INTEGER's offset; 4 lies beyond the fixed part */
    uint8_t     ucNull;       /* null byte after the value */
    uint32_t    ulFlags;
    const char *pcText;
  } acase[] = {
    {"nullable, null", 0x0802, 0, 1, SEP, ",\n"},
    {"nullable, present", 0x0802, 0, 0, SEP, ",77\n"},
    {"null written as the null text", 0x0802, 0, 1, SEP | ZORUCORE_FLAG_NULLTEXT, ",NULL\n"},
    {"not nullable, null byte ignored", 0x0002, 0, 1, SEP, ",77\n"},
    {"beyond the record, nullable", 0x0802, 5, 0, SEP, ",\n"},
    {"beyond the record, not nullable: default", 0x0002, 5, 0, SEP, ",NULL\n"},
    {"beyond the record, nullable, null text", 0x0802, 5, 0, SEP | ZORUCORE_FLAG_NULLTEXT, ",NULL\n"},
  };
  for (auto &c : acase) {
    ucoreCores cores;
    zorucoreData *pcore = cores.make(c.ulFlags);
    ucoreSetDefault(pcore, "NULL");
    ucoreBytes data;
    data.le32(0, 77).put(4, {c.ucNull});
    int iRc = -1;
    std::string strText = ucoreOne(cores, {c.usSource, 0xB002, 4, c.sOffset, pcore}, ucoreRecord(5, data), &iRc);
    EXPECT_EQ(iRc, 0) << c.pcName;
    EXPECT_EQ(strText, c.pcText) << c.pcName;
  }
}

TEST(zorucoreFrame, CliValueIsNullWhenItsIndicatorIsNegative)
{
  struct {
    int32_t     lIndicator;
    bool        boCoreKeys;   /* the run step filled the core's keys */
    const char *pcText;
  } acase[] = {{-1, true, "\n"}, {0, true, "-5\n"}, {4, true, "-5\n"}, {4, false, "-5\n"}, {-1, false, "\n"}};
  for (auto &c : acase) {
    ucoreCores cores;
    zorucoreData *pcore = cores.make(0);
    if (c.boCoreKeys) {
      pcore->usSourceKey = 0xD802;
      pcore->usTargetKey = 0xB002;
    }
    ucoreBytes data;
    data.le32(0, static_cast<uint32_t>(-5)).le32(4, static_cast<uint32_t>(c.lIndicator));
    int iRc = -1;
    EXPECT_EQ(ucoreOne(cores, {0xD802, 0xB002, 4, 0, pcore}, ucoreRecord(8, data), &iRc), c.pcText);
    EXPECT_EQ(iRc, 0);
  }
}

TEST(zorucoreFrame, ValueOrIndicatorOutsideTheRecordDropsTheRow)
{
  struct {
    const char *pcName;
    uint16_t    usSource;
    int16_t     sOffset;
    int16_t     sFixed;
    size_t      ulData;
  } acase[] = {
    {"value cut by the record's end", 0x0002, 2, 6, 4},
    {"null byte past the record's end", 0x0802, 0, 5, 4},
    {"negative offset", 0x0002, -4, 4, 4},
  };
  for (auto &c : acase) {
    ucoreCores cores;
    int iRc = 0;
    std::string strText = ucoreOne(cores, {c.usSource, 0xB002, 4, c.sOffset, cores.make(0)},
                                   ucoreRecord(c.sFixed, ucoreBytes(c.ulData)), &iRc);
    EXPECT_EQ(iRc, ZORUCORE_RC_BADVALUE) << c.pcName;
  }
  /* a source buffer without a whole header */
  ucoreCores cores;
  std::string strText;
  EXPECT_EQ(ucoreConvert({{0x0002, 0xB002, 4, 0, cores.make(0)}}, std::vector<unsigned char>(6, 0), &strText),
            ZORUCORE_RC_BADVALUE);
}

TEST(zorucoreFrame, FullOutputBufferDropsTheRowWithoutOverrun)
{
  ucoreCores cores;
  zorucoreData *pcore = cores.make(SEP);
  ucoreSetDefault(pcore, "DEFAULT-TEXT");
  ucoreBytes data;
  data.le64(0, static_cast<uint64_t>(std::numeric_limits<int64_t>::min()));
  auto rec = ucoreRecord(8, data);
  /* ",-9223372036854775808\n" is 22 bytes */
  int iRc = 0;
  EXPECT_EQ(ucoreOne(cores, {0x0006, 0xB006, 8, 0, pcore}, rec, &iRc, 22), ",-9223372036854775808\n");
  EXPECT_EQ(iRc, 0);
  /* a null first column needs no room at all */
  ucoreBytes nullData;
  nullData.put(2, {1});
  EXPECT_EQ(ucoreOne(cores, {0x0801, 0xB001, 2, 0, cores.make(DELIM)}, ucoreRecord(3, nullData), &iRc, 1), "\n");
  EXPECT_EQ(iRc, 0);
  for (size_t ul : {0, 1, 10, 21}) {
    ucoreOne(cores, {0x0006, 0xB006, 8, 0, pcore}, rec, &iRc, ul);
    EXPECT_EQ(iRc, ZORUCORE_RC_NOROOM) << ul;
  }
  /* the default text of a column beyond the record needs its room too */
  ucoreOne(cores, {0x0006, 0xB006, 8, 8, pcore}, rec, &iRc, 8);
  EXPECT_EQ(iRc, ZORUCORE_RC_NOROOM);
  /* DECIMAL(31,2) needs 33 bytes */
  ucoreBytes dec(16);
  dec.put(15, {0x5C});
  ucoreOne(cores, {0x0003, 0xB003, 31 << 8 | 2, 0, cores.make(0)}, ucoreRecord(16, dec), &iRc, 32);
  EXPECT_EQ(iRc, ZORUCORE_RC_NOROOM);
}

TEST(zorucoreFrame, RecordEndIsTheConstantTextOnly)
{
  ucoreCores cores;
  zorucoreData *pend = cores.end("\r\n");
  pend->ulFlags = SEP | DELIM;        /* ignored by the record end */
  std::string strText;
  EXPECT_EQ(ucoreConvert({ucoreEndCol(pend)}, ucoreRecord(0, ucoreBytes()), &strText), 0);
  EXPECT_EQ(strText, "\r\n");
}

/* A DEL file in UTF-16: the row is made in UTF-8 and the record end
   converts it whole, record end included, into UTF-16 high byte first
   with no byte-order mark; a byte sequence that is not UTF-8 (bit data) is
   replaced by U+FFFD and counted; a record whose UTF-16 form does not fit
   the row buffer drops the row. */
TEST(zorucoreFrame, RecordEndConvertsTheWholeRecordIntoUtf16)
{
  UErrorCode err = U_ZERO_ERROR;
  UConverter *pconvUtf8 = ucnv_open("ibm-1208", &err);
  UConverter *pconvUtf16 = ucnv_open("ibm-1200", &err);
  ASSERT_TRUE(U_SUCCESS(err)) << u_errorName(err);
  ASSERT_EQ(zorucoreCountReplaced(pconvUtf8, pconvUtf16), 0);
  struct {
    const char *pcName;
    std::string strChar;    /* CHAR(7) held in UTF-8 */
    std::string strWant;    /* the record in UTF-16BE */
    int64_t llReplaced;
  } acase[] = {
      {"text outside the BMP, a doubled delimiter", "\xCE\xA9\xF0\x9D\x84\x9E\"",
       std::string("\0-\0" "5\0,\0\"\x03\xA9\xD8\x34\xDD\x1E\0\"\0\"\0\"\0\n", 22), 0},
      {"bit data that is not UTF-8", "a\xFF\xC3 b  ",
       std::string("\0-\0" "5\0,\0\"\0a\xFF\xFD\xFF\xFD\0 \0b\0 \0 \0\"\0\n", 26), 2},
  };
  for (const auto &c : acase) {
    SCOPED_TRACE(c.pcName);
    ucoreBytes data;
    data.le32(0, static_cast<uint32_t>(-5)).put(4, c.strChar);
    auto rec = ucoreRecord(11, data);
    ucoreCores cores;
    zorucoreData *pend = cores.end("\n");
    pend->pconvToUtf16 = pconvUtf8;
    pend->pconvFromUtf16 = pconvUtf16;
    std::vector<ucoreCol> vcol = {{0x0002, 0xB002, 4, 0, cores.make(0)},
                                  {0x0007, 0xB107, 7, 4, cores.make(SEP | DELIM)},
                                  ucoreEndCol(pend)};
    int64_t llBefore = zorucoreReplacedCount();
    std::string strText;
    EXPECT_EQ(ucoreConvert(vcol, rec, &strText), 0);
    EXPECT_EQ(strText, c.strWant);
    EXPECT_EQ(zorucoreReplacedCount() - llBefore, c.llReplaced);
    /* room for the UTF-8 record but not for its UTF-16 form */
    EXPECT_EQ(ucoreConvert(vcol, rec, &strText, c.strWant.size() - 1), ZORUCORE_RC_NOROOM);
    EXPECT_EQ(ucoreConvert(vcol, rec, &strText, c.strWant.size()), 0);
    EXPECT_EQ(strText, c.strWant);
  }
  ucnv_close(pconvUtf8);
  ucnv_close(pconvUtf16);
}

TEST(zorucorePic, DigitsUnderEachMaskKind)
{
  /* DECIMAL(7,3) 0012.340 and DECIMAL(6,2) 0000.00 */
  const unsigned char aucA[] = {0x00, 0x12, 0x34, 0x0C};
  const unsigned char aucZero[] = {0x00, 0x00, 0x00, 0x0D};
  struct {
    int                  iPic;
    const unsigned char *puc;
    int                  iPrec, iScale;
    const char          *pcText;
  } acase[] = {
    {0, aucA, 7, 3, "0012.340"},        {0x8000, aucA, 7, 3, "12.340"},   {0x4000, aucA, 7, 3, "0012.34"},
    {0xC000, aucA, 7, 3, "12.34"},      {0xE000, aucA, 7, 3, "12.34"},    {0xA000, aucA, 7, 3, "12.340"},
    {0xE000, aucZero, 6, 2, "0"},       {0xC000, aucZero, 6, 2, "0."},    {0, aucZero, 6, 2, "0000.00"},
  };
  ucoreCores cores;
  for (auto &c : acase) {
    zorucoreData *pcore = cores.make(0);
    pcore->iPic = c.iPic;
    char ac[64] = {};
    char *pcEnd = _zorucorePicImpaireImpaire(c.puc, ac, c.iPrec, c.iScale, pcore);
    EXPECT_EQ(std::string(ac, pcEnd), c.pcText) << std::hex << c.iPic;
    pcEnd = _zorucorePicPairePaire(c.puc, ac, c.iPrec, c.iScale, pcore);
    EXPECT_EQ(std::string(ac, pcEnd), c.pcText) << std::hex << c.iPic;
  }
  /* first significant integer digit, last significant fraction digit */
  int iLow = -1;
  EXPECT_EQ(_zorucoreEntDImpaireImpaire(aucA, 7, 3, &iLow), 1);   /* "1": byte 1, high nibble */
  EXPECT_EQ(iLow, 0);
  EXPECT_EQ(_zorucoreDecDImpaireImpaire(aucA, 7, 3, &iLow), 2);   /* "4": byte 2, low nibble */
  EXPECT_EQ(iLow, 1);
  EXPECT_EQ(_zorucoreEntDPairePaire(aucZero, 6, 2, &iLow), -1);
  EXPECT_EQ(_zorucoreDecDPairePaire(aucZero, 6, 2, &iLow), -1);
  /* sign: the plus-sign string for positive values */
  zorucoreData *pcore = cores.make(0);
  std::free(pcore->charSignPlus.pcData);
  ocharInitFromFixed(&pcore->charSignPlus, " ", 1, 850);
  char ac[4] = {};
  EXPECT_EQ(_zorucorePutSign(aucA, 7, pcore, ac) - ac, 1);
  EXPECT_EQ(ac[0], ' ');
  EXPECT_EQ(_zorucorePutSign(aucZero, 6, pcore, ac) - ac, 1);
  EXPECT_EQ(ac[0], '-');
}
