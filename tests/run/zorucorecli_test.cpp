/*
** zorucorecli_test.cpp
**   DEL converters of rows fetched through CLI: variable values from the
**   row's variable part (with nulls, LOB cuts at 32700 bytes, LOB file
**   references), conversion through ICU with cuts between characters, and
**   dates, times and timestamps from their CLI text in every format, giving
**   the same text as the converters of values read from table spaces.
*/
#include "run/zorucorecli.h"

#include <gtest/gtest.h>

#include <unicode/ucnv.h>

#include <algorithm>

#include "run/zorucoredel.h"
#include "tests/run/ucoretest.h"

using namespace std::string_literals;

namespace {

const uint32_t SEP = ZORUCORE_FLAG_SEP;
const uint32_t DELIM = ZORUCORE_FLAG_DELIM;

/* CLI slot at 0 (offset 16, maximum, length or indicator), bytes at 16. */
ucoreBytes cliVar(const std::string &strValue, int32_t iIndicator, uint32_t ulMax = 100)
{
  ucoreBytes data;
  data.le32(0, 16).le32(4, ulMax).le32(8, static_cast<uint32_t>(iIndicator)).put(16, strValue);
  return data;
}

/* A CLI text value at 0 and its indicator after it. */
ucoreBytes cliText(const std::string &strText, int32_t iIndicator = 0)
{
  ucoreBytes data;
  data.put(0, strText).le32(strText.size(), static_cast<uint32_t>(iIndicator));
  return data;
}

/* ICU converters and a work buffer, shared by the cores of one test. */
struct cliIcu {
  UConverter *pconvTo = nullptr;
  UConverter *pconvFrom = nullptr;
  char       *pcWork = nullptr;
  uint32_t    ulWorkSize = 0;
  cliIcu(const char *pcTo, const char *pcFrom, uint32_t ulWork)
  {
    UErrorCode err = U_ZERO_ERROR;
    if (pcTo != nullptr) pconvTo = ucnv_open(pcTo, &err);
    if (pcFrom != nullptr) pconvFrom = ucnv_open(pcFrom, &err);
    EXPECT_TRUE(U_SUCCESS(err)) << u_errorName(err);
    ulWorkSize = ulWork;
    pcWork = static_cast<char *>(std::malloc(ulWork));
  }
  ~cliIcu()
  {
    if (pconvTo != nullptr) ucnv_close(pconvTo);
    if (pconvFrom != nullptr) ucnv_close(pconvFrom);
    std::free(pcWork);
  }
  void attach(zorucoreData *pcore) const
  {
    pcore->pconvToUtf16 = pconvTo;
    pcore->pconvFromUtf16 = pconvFrom;
    pcore->pcWorkBuffer = pcWork;
    pcore->ulWorkSize = ulWorkSize;
    pcore->iWorkCapacity = static_cast<int32_t>(ulWorkSize / 2);
  }
};

struct cliCase {
  const char *pcName;
  uint16_t    usSource, usTarget;
  int32_t     iLength;
  ucoreBytes  data;
  uint32_t    ulFlags;
  std::string strText;   /* without the record end */
};

/* One column and the record end, the output buffer sized exactly. */
void runCases(const std::vector<cliCase> &vcase, const cliIcu *picu = nullptr)
{
  for (const cliCase &c : vcase) {
    ucoreCores cores;
    zorucoreData *pcore = cores.make(c.ulFlags);
    pcore->usSourceKey = c.usSource;
    pcore->usTargetKey = c.usTarget;
    if (picu != nullptr) picu->attach(pcore);
    int iRc = -1;
    std::string strText = ucoreOne(cores, {c.usSource, c.usTarget, c.iLength, 0, pcore},
                                   ucoreRecord(static_cast<int16_t>(std::min<size_t>(c.data.v.size(), 64)), c.data), &iRc,
                                   c.strText.size() + 1);
    EXPECT_EQ(iRc, 0) << c.pcName;
    EXPECT_TRUE(strText == c.strText + "\n") << c.pcName << ": " << strText.size() << " bytes";
  }
}

/* Date and time templates of some formats, as the control step prepares them. */
struct cliFormat {
  int         iCode;
  const char *pcTemplate;
  int16_t     asPos[ZORUCORE_POS_COUNT];
};

const cliFormat aformat[] = {
  {0x31, "00-00-0000", {6, 8, 0, 3, -1, -1, -1, -1}},    /* DATE_A */
  {0x34, "00-00-00", {-1, 0, 3, 6, -1, -1, -1, -1}},     /* DATE_D */
  {0x37, "0000-000", {0, 2, -1, 5, -1, -1, -1, -1}},     /* DATE_G */
  {0x38, "00-000", {-1, 0, -1, 3, -1, -1, -1, -1}},      /* DATE_H */
  {0x3B, "00000000", {0, 2, 4, 6, -1, -1, -1, -1}},      /* DATE_K */
  {0x3C, "000000", {-1, 0, 2, 4, -1, -1, -1, -1}},       /* DATE_L */
  {0x3F, "0000000", {0, 2, -1, 4, -1, -1, -1, -1}},      /* DATE_O */
  {0x40, "00000", {-1, 0, -1, 2, -1, -1, -1, -1}},       /* DATE_P */
  {0x41, "00.00.00", {-1, -1, -1, -1, 0, 3, 6, -1}},     /* TIME_A */
  {0x43, "00.00 AM", {-1, -1, -1, -1, 0, 3, 6, -1}},     /* TIME_C */
  {0x45, "0000", {-1, -1, -1, -1, 0, 2, -1, -1}},        /* TIME_E */
  {0x46, "0000-00-00-00.00.00", {0, 2, 5, 8, 11, 14, 17, -1}},               /* TIMESTAMP_A */
  {0x47, "0000-00-00-00.00.00.000000", {0, 2, 5, 8, 11, 14, 17, 20}},        /* TIMESTAMP_B */
  {0x4B, "000000000000000000", {-1, 0, 2, 4, 6, 8, 10, 12}},                 /* TIMESTAMP_F */
};

void setFormat(zorucoreData *pcore, const cliFormat &fmt)
{
  size_t ulLength = std::strlen(fmt.pcTemplate);
  std::free(pcore->pcTemplate);
  pcore->pcTemplate = static_cast<char *>(std::malloc(ulLength));
  std::memcpy(pcore->pcTemplate, fmt.pcTemplate, ulLength);
  pcore->sTemplateLength = static_cast<int16_t>(ulLength);
  std::memcpy(pcore->asPos, fmt.asPos, sizeof pcore->asPos);
}

}  // namespace

TEST(zorucoreCli, VariableValuesFromTheVariablePart)
{
  std::string strLong(40000, 'x');
  strLong[32699] = 'Z';
  std::string strCut = strLong.substr(0, 32700);
  runCases({
    {"VARCHAR", 0xD008, 0xB008, 100, cliVar("a\"b", 3), DELIM, "\"a\"b\""},
    {"nullable VARCHAR", 0xD808, 0xB008, 100, cliVar("abc", 3), SEP | DELIM, ",\"abc\""},
    {"nullable VARCHAR, null: empty field", 0xD808, 0xB008, 100, cliVar("abc", -1), SEP | DELIM, ","},
    {"VARCHAR, empty", 0xD008, 0xB008, 100, cliVar("", 0), DELIM, "\"\""},
    {"LONG VARCHAR", 0xD809, 0xB009, 100, cliVar("long text", 9), DELIM, "\"long text\""},
    {"CLOB of 40000 bytes: its first 32700", 0xD011, 0xB011, 40000, cliVar(strLong, 40000), DELIM,
     "\"" + strCut + "\""},
    {"BLOB of 40000 bytes: its first 32700", 0xD810, 0xB010, 40000, cliVar(strLong, 40000), DELIM,
     "\"" + strCut + "\""},
    {"nullable CLOB, null", 0xD811, 0xB011, 40000, cliVar("", -1), SEP | DELIM, ","},
    {"CLOB in a file: the reference", 0xD011, 0xB411, 1000, cliVar("lob.001", 7), DELIM, "\"lob.001\""},
    {"CLOB location specifier", 0xD811, 0xB511, 1000, cliVar("lob.001.0.5/", 12), DELIM, "\"lob.001.0.5/\""},
    {"BLOB in a file", 0xD810, 0xB410, 1000, cliVar("lob.002", 7), DELIM, "\"lob.002\""},
  });
}

TEST(zorucoreCli, DelimitersInsideValuesAreDoubled)
{
  std::string strLong(32699, 'x');
  ucoreBytes charData;
  charData.put(0, "a\"b ").le32(4, 0);
  runCases({
    {"CHAR", 0xD007, 0xB107, 4, charData, DELIM, "\"a\"\"b \""},
    {"nullable CHAR", 0xD807, 0xB107, 4, charData, DELIM, "\"a\"\"b \""},
    {"VARCHAR", 0xD008, 0xB108, 100, cliVar("\"a\"\"", 4), DELIM, "\"\"\"a\"\"\"\"\""},
    {"nullable VARCHAR, null", 0xD808, 0xB108, 100, cliVar("\"", -1), SEP | DELIM, ","},
    {"LONG VARCHAR", 0xD809, 0xB109, 100, cliVar("say \"hi\"", 8), DELIM, "\"say \"\"hi\"\"\""},
    {"CLOB", 0xD011, 0xB111, 100, cliVar("\"", 1), DELIM, "\"\"\"\""},
    {"BLOB", 0xD810, 0xB110, 100, cliVar("\x22\x00\x22"s, 3), DELIM, "\"\x22\x22\x00\x22\x22\""s},
    /* the 32700-byte cut applies to the value: the doubled text may be longer */
    {"CLOB of 40000 bytes: 32700 of them, doubled", 0xD011, 0xB111, 40000, cliVar(strLong + "\"" + strLong, 65399),
     DELIM, "\"" + strLong + "\"\"\""},
  });
  cliIcu icu("ibm-850", "UTF-8", 4 * 100);
  runCases({
    {"VARCHAR converted", 0xD008, 0xB308, 100, cliVar("\x82\"", 2), DELIM, "\"\xC3\xA9\"\"\""},
    {"LONG VARCHAR converted", 0xD809, 0xB309, 100, cliVar("\"\x82", 2), DELIM, "\"\"\"\xC3\xA9\""},
    {"CLOB converted", 0xD811, 0xB311, 100, cliVar("\"\"", 2), DELIM, "\"\"\"\"\"\""},
    {"CHAR converted", 0xD007, 0xB307, 2, ucoreBytes().put(0, "\x82\"").le32(2, 0), DELIM, "\"\xC3\xA9\"\"\""},
  }, &icu);
  /* no room for the doubled text: the row is refused, never cut */
  ucoreCores cores;
  int iRc = 0;
  ucoreOne(cores, {0xD008, 0xB108, 100, 0, cores.make(DELIM)}, ucoreRecord(24, cliVar("\"\"", 2)), &iRc, 6);
  EXPECT_EQ(iRc, ZORUCORE_RC_NOROOM);
}

TEST(zorucoreCli, VariableValuesThatCannotBeWrittenDropTheRow)
{
  struct {
    const char *pcName;
    ucoreBytes  data;
    size_t      ulCapacity;
    int         iRc;
  } acase[] = {
    {"length past the row", cliVar("abc", 30), 64, ZORUCORE_RC_BADVALUE},
    {"offset past the row", cliVar("abc", 3).le32(0, 400), 64, ZORUCORE_RC_BADVALUE},
    {"negative length of a non-nullable value", cliVar("abc", -1), 64, ZORUCORE_RC_BADVALUE},
    {"slot cut", ucoreBytes(8), 64, ZORUCORE_RC_BADVALUE},
    {"no room for the closing delimiter", cliVar("abc", 3), 5, ZORUCORE_RC_NOROOM},
  };
  for (auto &c : acase) {
    ucoreCores cores;
    int iRc = 0;
    ucoreOne(cores, {0xD008, 0xB008, 100, 0, cores.make(DELIM)},
             ucoreRecord(static_cast<int16_t>(c.data.v.size()), c.data), &iRc, c.ulCapacity);
    EXPECT_EQ(iRc, c.iRc) << c.pcName;
  }
}

TEST(zorucoreCli, ConvertedThroughIcu)
{
  cliIcu icu("ibm-850", "UTF-8", 4 * 100);
  runCases({
    {"VARCHAR", 0xD008, 0xB208, 100, cliVar("a\x82", 2), DELIM, "\"a\xC3\xA9\""},
    {"nullable VARCHAR, null", 0xD808, 0xB208, 100, cliVar("a\x82", -1), DELIM, ""},
    {"LONG VARCHAR", 0xD009, 0xB209, 100, cliVar("\x82t\x82", 3), DELIM, "\"\xC3\xA9t\xC3\xA9\""},
    {"CLOB", 0xD811, 0xB211, 100, cliVar("\x82", 1), DELIM, "\"\xC3\xA9\""},
  }, &icu);
}

TEST(zorucoreCli, LongClobConversionIsCutBetweenCharacters)
{
  cliIcu icu850("ibm-850", "UTF-8", 4 * 32700);
  /* 40000 source bytes: 32700 go in; their UTF-8 text is cut to the last whole character within 32700 bytes */
  std::string strSource = "a" + std::string(39999, '\x82');
  std::string strExpected = "a";
  for (int i = 0; i < 16349; i++) strExpected += "\xC3\xA9";
  /* a UTF-8 source whose character straddles the input limit: the character is left out, the row kept */
  cliIcu icu8("UTF-8", "UTF-8", 4 * 32700);
  std::string strStraddle = std::string(32699, 'a') + "\xC3\xA9" + std::string(100, 'b');
  /* short text: converted whole */
  runCases({
    {"850 -> UTF-8, output cut", 0xD011, 0xB211, 40000, cliVar(strSource, 40000), DELIM,
     "\"" + strExpected + "\""},
  }, &icu850);
  runCases({
    {"UTF-8 -> UTF-8, input cut", 0xD811, 0xB211, 40000, cliVar(strStraddle, 32801), DELIM,
     "\"" + std::string(32699, 'a') + "\""},
    {"UTF-8 under the limit", 0xD811, 0xB211, 40000, cliVar("\xC3\xA9", 2), DELIM, "\"\xC3\xA9\""},
  }, &icu8);
  /* to UTF-16 (target CCSID 1200): whole units, never half a surrogate pair */
  cliIcu icu16("UTF-8", nullptr, 4 * 32700);
  std::string strPairs = std::string(16349, 'a') + "\xF0\x9F\x98\x80" + std::string(10, 'b');
  std::string strUnits;
  for (int i = 0; i < 16349; i++) strUnits += "a\0"s;
  runCases({
    {"UTF-8 -> UTF-16, pair at the limit left out", 0xD011, 0xB211, 40000,
     cliVar(strPairs, static_cast<int32_t>(strPairs.size())), DELIM, "\"" + strUnits + "\""},
  }, &icu16);
  /* no room for a text that would fit the limit */
  ucoreCores cores;
  zorucoreData *pcore = cores.make(DELIM);
  icu8.attach(pcore);
  int iRc = 0;
  ucoreOne(cores, {0xD011, 0xB211, 100, 0, pcore}, ucoreRecord(24, cliVar("abcdefgh", 8)), &iRc, 9);
  EXPECT_EQ(iRc, ZORUCORE_RC_NOROOM);
}

TEST(zorucoreCli, DatesTimesAndTimestampsAsReadFromTableSpaces)
{
  struct {
    int         iType;    /* 10, 11, 12 */
    std::string strCli;
    std::string strPacked;
  } avalue[] = {
    {10, "2024-02-29", "\x20\x24\x02\x29"s},
    {10, "2023-12-31", "\x20\x23\x12\x31"s},
    {11, "12.05.00", "\x12\x05\x00"s},
    {11, "00.05.00", "\x00\x05\x00"s},
    {12, "2024-02-29-13.05.59.012345", "\x20\x24\x02\x29\x13\x05\x59\x01\x23\x45"s},
  };
  int iCompared = 0;
  for (auto &v : avalue) {
    int iFirst = v.iType == 10 ? 0x31 : v.iType == 11 ? 0x41 : 0x46;
    int iLast = v.iType == 10 ? 0x40 : v.iType == 11 ? 0x45 : 0x4B;
    for (const cliFormat &fmt : aformat) {
      if (fmt.iCode < iFirst || fmt.iCode > iLast) continue;
      for (uint16_t usConvert : {0x0000, 0x0200}) {
        ucoreCores cores;
        zorucoreData *pcoreCli = cores.make(SEP | DELIM);
        zorucoreData *pcoreDirect = cores.make(SEP | DELIM);
        setFormat(pcoreCli, fmt);
        setFormat(pcoreDirect, fmt);
        uint16_t usTarget = static_cast<uint16_t>(0xB000 | usConvert | fmt.iCode);
        int iRcCli = -1, iRcDirect = -1;
        std::string strCli = ucoreOne(cores, {static_cast<uint16_t>(0xD800 | v.iType), usTarget,
                                              static_cast<int32_t>(v.strCli.size()), 0, pcoreCli},
                                      ucoreRecord(40, cliText(v.strCli)), &iRcCli);
        ucoreBytes packed;
        packed.put(0, v.strPacked).put(v.strPacked.size(), {0});
        std::string strDirect = ucoreOne(cores, {static_cast<uint16_t>(0x0800 | v.iType),
                                                 static_cast<uint16_t>(0xB000 | fmt.iCode), 0, 0, pcoreDirect},
                                         ucoreRecord(11, packed), &iRcDirect);
        EXPECT_EQ(iRcCli, 0) << v.strCli << " format " << fmt.iCode;
        EXPECT_EQ(iRcDirect, 0);
        EXPECT_EQ(strCli, strDirect) << v.strCli << " format " << fmt.iCode;
        iCompared++;
      }
    }
  }
  EXPECT_EQ(iCompared, 2 * (2 * 8 + 2 * 3 + 3));
  /* the texts themselves, for a few */
  ucoreCores cores;
  zorucoreData *pcore = cores.make(SEP | DELIM);
  setFormat(pcore, aformat[3]);   /* DATE_H */
  EXPECT_EQ(ucoreOne(cores, {0xD00A, 0xB038, 10, 0, pcore}, ucoreRecord(40, cliText("2024-02-29"))), ",24-060\n");
  zorucoreData *pcoreTime = cores.make(DELIM);
  setFormat(pcoreTime, aformat[9]);   /* TIME_C */
  EXPECT_EQ(ucoreOne(cores, {0xD80B, 0xB043, 8, 0, pcoreTime}, ucoreRecord(40, cliText("12.05.00"))),
            "\"12.05 PM\"\n");
}

TEST(zorucoreCli, NullAndUnreadableDates)
{
  ucoreCores cores;
  zorucoreData *pcore = cores.make(SEP | DELIM);
  pcore->usSourceKey = 0xD80A;
  setFormat(pcore, aformat[4]);   /* DATE_K */
  int iRc = -1;
  EXPECT_EQ(ucoreOne(cores, {0xD80A, 0xB03B, 10, 0, pcore}, ucoreRecord(40, cliText("2024-02-29", -1)), &iRc),
            ",\n");
  EXPECT_EQ(iRc, 0);
  EXPECT_EQ(ucoreOne(cores, {0xD80A, 0xB03B, 10, 0, pcore}, ucoreRecord(40, cliText("2024-02-29")), &iRc),
            ",20240229\n");
  for (const char *pcBad : {"2024-0X-29", "24-02-29  "}) {
    ucoreOne(cores, {0xD80A, 0xB03B, 10, 0, pcore}, ucoreRecord(40, cliText(pcBad)), &iRc);
    EXPECT_EQ(iRc, ZORUCORE_RC_BADVALUE) << pcBad;
  }
  /* a definition shorter than the text */
  ucoreOne(cores, {0xD80A, 0xB03B, 8, 0, pcore}, ucoreRecord(40, cliText("2024-02-29")), &iRc);
  EXPECT_EQ(iRc, ZORUCORE_RC_BADVALUE);
  /* no room: nothing past the buffer */
  ucoreOne(cores, {0xD80A, 0xB03B, 10, 0, pcore}, ucoreRecord(40, cliText("2024-02-29")), &iRc, 8);
  EXPECT_EQ(iRc, ZORUCORE_RC_NOROOM);
}
