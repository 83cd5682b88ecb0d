/*
** zorcontroludb_test.cpp
**   Date/time templates and column default values: the template bytes and
**   positions of every layout, the text the real DEL converters produce
**   from them, and the exact output form of the default value of every
**   column type.
*/
#include "control/zorcontroludb.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <string>
#include <vector>

#include "common/ochar.h"
#include "model/token.h"
#include "model/zoratom.h"
#include "model/zortask.h"
#include "model/orow.h"
#include "run/zorucore.h"
#include "tests/run/ucoretest.h"

namespace {

const int16_t UNSET = 0x5A5A;  /* marks a position the function must leave alone */

/* A CCSID-850 string object, freed with the holder. */
struct Str {
  ochar *p;
  explicit Str(const std::string &str, uint16_t usCCSID = 850)
  {
    p = ocharCreate(0, usCCSID);
    ocharAppendFixedS(p, str.data(), static_cast<int32_t>(str.size()));
  }
  ~Str() { ocharDestroy(p); }
  Str(const Str &) = delete;
  Str &operator=(const Str &) = delete;
};

/* An output-column task under a SELECT task; DATE, TIME, TIMESTAMP letters go on either. */
struct Tasks {
  zortask *pselect = zortaskCreateNamed(nullptr);
  zortask *pecs = zortaskCreateNamed(nullptr);
  Tasks() { zortaskAddSubTask(pselect, pecs); }
  ~Tasks() { zortaskDestroy(pselect); }
  Tasks(const Tasks &) = delete;
  Tasks &operator=(const Tasks &) = delete;
  static void letter(zortask *ptask, int iSlot, int32_t iLetter)
  {
    int32_t iType = iSlot == TOKEN_DATE ? 10 : iSlot == TOKEN_TIME ? 11 : 12;
    ASSERT_EQ(zortaskAddAtom(ptask, zoratomCreateType(gapnameTotalToken[iSlot], iType, iLetter, nullptr, nullptr)), 0);
  }
};

enum Kind { DATE, TIME, TS };

const int aiSlot[] = {TOKEN_DATE, TOKEN_TIME, TOKEN_TIMESTAMP};

/* Builds the template of a layout on a fresh task; the core's positions start UNSET. */
int buildTemplate(zorucoreData *pcore, Kind kind, char cLetter, const ochar *pcharDate, const ochar *pcharTime)
{
  Tasks tasks;
  Tasks::letter(tasks.pecs, aiSlot[kind], cLetter);
  switch (kind) {
    case DATE: return _zorcontrolUdbDateTemplate(pcore, tasks.pecs, pcharDate);
    case TIME: return _zorcontrolUdbTimeTemplate(pcore, tasks.pecs, pcharTime);
    default:   return _zorcontrolUdbTimestampTemplate(pcore, tasks.pecs, pcharDate, pcharTime);
  }
}

std::string templateText(const zorucoreData *pcore)
{
  if (pcore->pcTemplate == nullptr) return "<none>";
  return std::string(pcore->pcTemplate, static_cast<size_t>(pcore->sTemplateLength));
}

std::vector<int> positions(const zorucoreData *pcore)
{
  std::vector<int> v;
  for (int16_t s : pcore->asPos) v.push_back(s == UNSET ? -1 : s);
  return v;
}

/* Target and source keys of a DEL date/time column of a layout. */
uint16_t targetKey(Kind kind, char cLetter)
{
  int iBase = kind == DATE ? COLKEY_DATE_A : kind == TIME ? COLKEY_TIME_A : COLKEY_TS_A;
  return static_cast<uint16_t>(COLKEY_DEL | (iBase + cLetter - 'A'));
}
uint16_t sourceKey(Kind kind) { return static_cast<uint16_t>(10 + kind); }

struct Layout {
  Kind        kind;
  char        cLetter;
  const char *pcTemplate;
  std::vector<int> viPos;  /* century, year, month, day, hour, minute, second, microseconds; -1 unset */
};

/* Every layout with the parmlib delimiters "-" and ".". */
const std::vector<Layout> &layouts()
{
  static const std::vector<Layout> v = {
    {DATE, 'A', "00-00-0000", {6, 8, 0, 3, -1, -1, -1, -1}},
    {DATE, 'B', "00-00-00", {-1, 6, 0, 3, -1, -1, -1, -1}},
    {DATE, 'C', "0000-00-00", {0, 2, 5, 8, -1, -1, -1, -1}},
    {DATE, 'D', "00-00-00", {-1, 0, 3, 6, -1, -1, -1, -1}},
    {DATE, 'E', "00-00-0000", {6, 8, 3, 0, -1, -1, -1, -1}},
    {DATE, 'F', "00-00-00", {-1, 6, 3, 0, -1, -1, -1, -1}},
    {DATE, 'G', "0000-000", {0, 2, -1, 5, -1, -1, -1, -1}},
    {DATE, 'H', "00-000", {-1, 0, -1, 3, -1, -1, -1, -1}},
    {DATE, 'I', "00000000", {4, 6, 0, 2, -1, -1, -1, -1}},
    {DATE, 'J', "000000", {-1, 4, 0, 2, -1, -1, -1, -1}},
    {DATE, 'K', "00000000", {0, 2, 4, 6, -1, -1, -1, -1}},
    {DATE, 'L', "000000", {-1, 0, 2, 4, -1, -1, -1, -1}},
    {DATE, 'M', "00000000", {4, 6, 2, 0, -1, -1, -1, -1}},
    {DATE, 'N', "000000", {-1, 4, 2, 0, -1, -1, -1, -1}},
    {DATE, 'O', "0000000", {0, 2, -1, 4, -1, -1, -1, -1}},
    {DATE, 'P', "00000", {-1, 0, -1, 2, -1, -1, -1, -1}},
    {TIME, 'A', "00.00.00", {-1, -1, -1, -1, 0, 3, 6, -1}},
    {TIME, 'B', "00.00", {-1, -1, -1, -1, 0, 3, -1, -1}},
    {TIME, 'C', "00.00 AM", {-1, -1, -1, -1, 0, 3, 6, -1}},
    {TIME, 'D', "000000", {-1, -1, -1, -1, 0, 2, 4, -1}},
    {TIME, 'E', "0000", {-1, -1, -1, -1, 0, 2, -1, -1}},
    {TS, 'A', "0000-00-00-00.00.00", {0, 2, 5, 8, 11, 14, 17, -1}},
    {TS, 'B', "0000-00-00-00.00.00.000000", {0, 2, 5, 8, 11, 14, 17, 20}},
    {TS, 'C', "00000000000000", {0, 2, 4, 6, 8, 10, 12, -1}},
    {TS, 'D', "000000000000", {-1, 0, 2, 4, 6, 8, 10, -1}},
    {TS, 'E', "00000000000000000000", {0, 2, 4, 6, 8, 10, 12, 14}},
    {TS, 'F', "000000000000000000", {-1, 0, 2, 4, 6, 8, 10, 12}},
  };
  return v;
}

std::string name(Kind kind, char cLetter)
{
  return std::string(kind == DATE ? "DATE_" : kind == TIME ? "TIME_" : "TIMESTAMP_") + cLetter;
}

/* DB2 values and the same values as catalogue default texts. */
const std::vector<unsigned char> avValue[] = {
  {0x20, 0x03, 0x12, 0x31},
  {0x13, 0x05, 0x09},
  {0x20, 0x03, 0x12, 0x31, 0x10, 0x30, 0x00, 0x12, 0x34, 0x56},
};
const char *const apcDefault[] = {"'2003-12-31'", "'13.05.09'", "'2003-12-31-10.30.00.123456'"};

/* The DEL text of one column: the value present in the record, or absent (fixed part 0) so the default is written. */
std::string convert(ucoreCores &cores, zorucoreData *pcore, Kind kind, char cLetter, bool bAbsent, int *piRc)
{
  ucoreBytes data;
  data.put(0, {avValue[kind].begin(), avValue[kind].end()});
  auto vRecord = ucoreRecord(bAbsent ? 0 : static_cast<int16_t>(avValue[kind].size()), data);
  std::string str = ucoreOne(cores, {sourceKey(kind), targetKey(kind, cLetter), 0, 0, pcore}, vRecord, piRc);
  if (!str.empty() && str.back() == '\n') str.pop_back();
  return str;
}

std::string defaultBytes(const zorucoreData *pcore)
{
  if (pcore->pcDefault == nullptr) return "<none>";
  return std::string(pcore->pcDefault, static_cast<size_t>(pcore->sDefaultLength));
}

/* A core data as the builder leaves it: delimiter '"', the catalogue text as default. */
zorucoreData *coreWithDefault(ucoreCores &cores, const std::string &strText)
{
  zorucoreData *pcore = cores.make(ZORUCORE_FLAG_DELIM);
  ucoreSetDefault(pcore, strText);
  return pcore;
}

class ZorcontrolUdb : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(tokenInitKeyword(), 0); }
  Str dash{"-"}, dot{"."};
};

}  // namespace

TEST_F(ZorcontrolUdb, TemplateAndPositionsOfEveryLayout)
{
  for (const Layout &l : layouts()) {
    ucoreCores cores;
    zorucoreData *pcore = cores.make(0);
    for (int16_t &s : pcore->asPos) s = UNSET;
    ASSERT_EQ(buildTemplate(pcore, l.kind, l.cLetter, dash.p, dot.p), 0) << name(l.kind, l.cLetter);
    EXPECT_EQ(templateText(pcore), l.pcTemplate) << name(l.kind, l.cLetter);
    EXPECT_EQ(pcore->sTemplateLength, static_cast<int16_t>(std::strlen(l.pcTemplate))) << name(l.kind, l.cLetter);
    EXPECT_EQ(positions(pcore), l.viPos) << name(l.kind, l.cLetter);
  }
}

TEST_F(ZorcontrolUdb, TemplatesWithOtherDelimiters)
{
  Str slash("/"), two("--"), colon(":"), colons("::"), empty("");
  struct {
    Kind        kind;
    char        cLetter;
    const ochar *pcharDate, *pcharTime;
    const char  *pcTemplate;
    std::vector<int> viPos;
  } acase[] = {
    {DATE, 'C', slash.p, dot.p, "0000/00/00", {0, 2, 5, 8, -1, -1, -1, -1}},
    {DATE, 'C', two.p, dot.p, "0000--00--00", {0, 2, 6, 10, -1, -1, -1, -1}},
    {DATE, 'A', two.p, dot.p, "00--00--0000", {8, 10, 0, 4, -1, -1, -1, -1}},
    {DATE, 'H', two.p, dot.p, "00--000", {-1, 0, -1, 4, -1, -1, -1, -1}},
    {DATE, 'B', empty.p, dot.p, "000000", {-1, 4, 0, 2, -1, -1, -1, -1}},
    {DATE, 'D', nullptr, dot.p, "000000", {-1, 0, 2, 4, -1, -1, -1, -1}},
    {TIME, 'C', dash.p, colons.p, "00::00 AM", {-1, -1, -1, -1, 0, 4, 7, -1}},
    {TIME, 'A', dash.p, colon.p, "00:00:00", {-1, -1, -1, -1, 0, 3, 6, -1}},
    {TS, 'B', slash.p, colons.p, "0000/00/00/00::00::00::000000", {0, 2, 5, 8, 11, 15, 19, 23}},
    {TS, 'A', two.p, colon.p, "0000--00--00--00:00:00", {0, 2, 6, 10, 14, 17, 20, -1}},
  };
  for (auto &c : acase) {
    ucoreCores cores;
    zorucoreData *pcore = cores.make(0);
    for (int16_t &s : pcore->asPos) s = UNSET;
    ASSERT_EQ(buildTemplate(pcore, c.kind, c.cLetter, c.pcharDate, c.pcharTime), 0);
    EXPECT_EQ(templateText(pcore), c.pcTemplate);
    EXPECT_EQ(positions(pcore), c.viPos) << c.pcTemplate;
  }
}

TEST_F(ZorcontrolUdb, LetterLookupAndLayoutsThatCannotBeBuilt)
{
  ucoreCores cores;
  zorucoreData *pcore = cores.make(0);
  Tasks tasks;

  /* no letter anywhere: nothing is set */
  EXPECT_EQ(_zorcontrolUdbDateTemplate(pcore, tasks.pecs, dash.p), 0);
  EXPECT_EQ(pcore->pcTemplate, nullptr);
  EXPECT_EQ(pcore->sTemplateLength, 0);

  /* the SELECT's letter applies until the column gives its own */
  Tasks::letter(tasks.pselect, TOKEN_DATE, 'C');
  ASSERT_EQ(_zorcontrolUdbDateTemplate(pcore, tasks.pecs, dash.p), 0);
  EXPECT_EQ(templateText(pcore), "0000-00-00");
  Tasks::letter(tasks.pecs, TOKEN_DATE, 'K');
  ASSERT_EQ(_zorcontrolUdbDateTemplate(pcore, tasks.pecs, dash.p), 0);  /* replaces the first template */
  EXPECT_EQ(templateText(pcore), "00000000");

  /* letters outside each kind's range leave everything as it is */
  Tasks::letter(tasks.pecs, TOKEN_TIME, 'F');
  Tasks::letter(tasks.pecs, TOKEN_TIMESTAMP, 'G');
  std::vector<int> viBefore = positions(pcore);
  EXPECT_EQ(_zorcontrolUdbTimeTemplate(pcore, tasks.pecs, dot.p), 0);
  EXPECT_EQ(_zorcontrolUdbTimestampTemplate(pcore, tasks.pecs, dash.p, dot.p), 0);
  EXPECT_EQ(templateText(pcore), "00000000");
  EXPECT_EQ(positions(pcore), viBefore);

  /* a delimiter that would make the template longer than its 16-bit length is refused */
  Str huge(std::string(20000, '/'));
  Tasks other;
  Tasks::letter(other.pecs, TOKEN_DATE, 'A');
  EXPECT_EQ(_zorcontrolUdbDateTemplate(pcore, other.pecs, huge.p), ORC_INVALID);
  EXPECT_EQ(templateText(pcore), "00000000");
  EXPECT_EQ(positions(pcore), viBefore);
}

TEST_F(ZorcontrolUdb, DelConvertersWriteValuesIntoTheTemplates)
{
  Str slash("/"), colons("::");
  struct {
    Kind        kind;
    char        cLetter;
    const ochar *pcharDate, *pcharTime;
    const char  *pcText;
  } acase[] = {
    {DATE, 'A', dash.p, dot.p, "12-31-2003"},   {DATE, 'B', dash.p, dot.p, "12-31-03"},
    {DATE, 'C', dash.p, dot.p, "2003-12-31"},   {DATE, 'D', dash.p, dot.p, "03-12-31"},
    {DATE, 'E', dash.p, dot.p, "31-12-2003"},   {DATE, 'F', dash.p, dot.p, "31-12-03"},
    {DATE, 'G', dash.p, dot.p, "2003-365"},     {DATE, 'H', dash.p, dot.p, "03-365"},
    {DATE, 'I', dash.p, dot.p, "12312003"},     {DATE, 'J', dash.p, dot.p, "123103"},
    {DATE, 'K', dash.p, dot.p, "20031231"},     {DATE, 'L', dash.p, dot.p, "031231"},
    {DATE, 'M', dash.p, dot.p, "31122003"},     {DATE, 'N', dash.p, dot.p, "311203"},
    {DATE, 'O', dash.p, dot.p, "2003365"},      {DATE, 'P', dash.p, dot.p, "03365"},
    {DATE, 'C', slash.p, dot.p, "2003/12/31"},
    {TIME, 'A', dash.p, dot.p, "\"13.05.09\""}, {TIME, 'B', dash.p, dot.p, "\"13.05\""},
    {TIME, 'C', dash.p, dot.p, "\"01.05 PM\""}, {TIME, 'D', dash.p, dot.p, "\"130509\""},
    {TIME, 'E', dash.p, dot.p, "\"1305\""},     {TIME, 'C', dash.p, colons.p, "\"01::05 PM\""},
    {TS, 'A', dash.p, dot.p, "\"2003-12-31-10.30.00\""},
    {TS, 'B', dash.p, dot.p, "\"2003-12-31-10.30.00.123456\""},
    {TS, 'C', dash.p, dot.p, "\"20031231103000\""},
    {TS, 'D', dash.p, dot.p, "\"031231103000\""},
    {TS, 'E', dash.p, dot.p, "\"20031231103000123456\""},
    {TS, 'F', dash.p, dot.p, "\"031231103000123456\""},
    {TS, 'B', slash.p, colons.p, "\"2003/12/31/10::30::00::123456\""},
  };
  for (auto &c : acase) {
    ucoreCores cores;
    zorucoreData *pcore = cores.make(ZORUCORE_FLAG_DELIM);
    ASSERT_EQ(buildTemplate(pcore, c.kind, c.cLetter, c.pcharDate, c.pcharTime), 0);
    int iRc = -1;
    EXPECT_EQ(convert(cores, pcore, c.kind, c.cLetter, false, &iRc), c.pcText) << name(c.kind, c.cLetter);
    EXPECT_EQ(iRc, 0) << name(c.kind, c.cLetter);
  }
}

TEST_F(ZorcontrolUdb, DelDateTimeDefaultsAreExactlyTheRowValue)
{
  /* For every layout the default written for an absent column equals the value converted from a record. */
  Str slash("/"), colons("::");
  for (const ochar *pcharDate : {dash.p, slash.p}) {
    for (const Layout &l : layouts()) {
      const ochar *pcharTime = pcharDate == dash.p ? dot.p : colons.p;
      ucoreCores cores;
      zorucoreData *pcore = coreWithDefault(cores, apcDefault[l.kind]);
      Tasks tasks;
      Tasks::letter(tasks.pecs, aiSlot[l.kind], l.cLetter);
      ASSERT_EQ(buildTemplate(pcore, l.kind, l.cLetter, pcharDate, pcharTime), 0);
      Str text(apcDefault[l.kind]);
      switch (l.kind) {
        case DATE: _zorcontrolUdbDefaultDelDate(pcore, text.p, tasks.pecs); break;
        case TIME: _zorcontrolUdbDefaultDelTime(pcore, text.p, tasks.pecs); break;
        case TS:   _zorcontrolUdbDefaultDelTmsp(pcore, text.p, tasks.pecs); break;
      }
      int iRc = -1;
      std::string strPresent = convert(cores, pcore, l.kind, l.cLetter, false, &iRc);
      EXPECT_EQ(iRc, 0);
      EXPECT_EQ(defaultBytes(pcore), strPresent) << name(l.kind, l.cLetter);
      EXPECT_EQ(convert(cores, pcore, l.kind, l.cLetter, true, &iRc), strPresent) << name(l.kind, l.cLetter);
      EXPECT_EQ(iRc, 0);
    }
  }
}

TEST_F(ZorcontrolUdb, DelDateTimeDefaults)
{
  struct {
    Kind        kind;
    char        cLetter;
    const char *pcText;
    std::string strDefault;  /* the catalogue text itself when it cannot be laid out */
  } acase[] = {
    {TS, 'B', "'2003-12-31-10.30.00.000000'", "\"2003-12-31-10.30.00.000000\""},
    {DATE, 'K', "'2003-12-31'", "20031231"},
    {DATE, 'P', "'2024-03-01'", "24061"},
    {TIME, 'C', "'00.30.00'", "\"00.30 AM\""},
    {TIME, 'C', "'24.00.00'", "\"12.00 PM\""},
    {TIME, 'B', "'10.30'", "\"10.30\""},          /* seconds are not read for TIME_B */
    {TS, 'D', "'2003-12-31-10.30.00'", "\"031231103000\""},
    /* texts that are no value of the column's type */
    {DATE, 'K', "CURRENT DATE", "CURRENT DATE"},
    {DATE, 'K', "'2003-12'", "'2003-12'"},
    {DATE, 'C', "'12/31/2003'", "'12/31/2003'"},
    {TIME, 'A', "'10.30'", "'10.30'"},
    {TS, 'B', "'2003-12-31-10.30.00'", "'2003-12-31-10.30.00'"},
    {TS, 'A', "CURRENT TIMESTAMP", "CURRENT TIMESTAMP"},
  };
  for (auto &c : acase) {
    ucoreCores cores;
    zorucoreData *pcore = coreWithDefault(cores, c.pcText);
    Tasks tasks;
    Tasks::letter(tasks.pecs, aiSlot[c.kind], c.cLetter);
    ASSERT_EQ(buildTemplate(pcore, c.kind, c.cLetter, dash.p, dot.p), 0);
    Str text(c.pcText);
    switch (c.kind) {
      case DATE: _zorcontrolUdbDefaultDelDate(pcore, text.p, tasks.pecs); break;
      case TIME: _zorcontrolUdbDefaultDelTime(pcore, text.p, tasks.pecs); break;
      case TS:   _zorcontrolUdbDefaultDelTmsp(pcore, text.p, tasks.pecs); break;
    }
    EXPECT_EQ(defaultBytes(pcore), c.strDefault) << name(c.kind, c.cLetter) << " " << c.pcText;
  }

  /* without a template (no letter) the catalogue text stays */
  ucoreCores cores;
  zorucoreData *pcore = coreWithDefault(cores, "'2003-12-31'");
  Tasks tasks;
  Str text("'2003-12-31'");
  _zorcontrolUdbDefaultDelDate(pcore, text.p, tasks.pecs);
  EXPECT_EQ(defaultBytes(pcore), "'2003-12-31'");
}

TEST_F(ZorcontrolUdb, CharacterAndDatetimeDefaults)
{
  using Member = void (*)(zorucoreData *, const ochar *);
  struct {
    Member      member;
    const char *pcMember;
    const char *pcText;
    std::string strDefault;
  } acase[] = {
    {_zorcontrolUdbDefaultDelChar, "DelChar", "'ABC'", "\"ABC\""},
    {_zorcontrolUdbDefaultIxfChar, "IxfChar", "'ABC'", "ABC"},
    {_zorcontrolUdbDefaultIxfVarchar, "IxfVarchar", "'ABC'", std::string("\x03\x00" "ABC", 5)},
    {_zorcontrolUdbDefaultIxfClob, "IxfClob", "'ABC'", std::string("\x03\x00\x00\x00" "ABC", 7)},
    {_zorcontrolUdbDefaultIxfDatetime, "IxfDatetime", "'2003-12-31'", "2003-12-31"},
    {_zorcontrolUdbDefaultIxfDatetime, "IxfDatetime", "'10.30.00'", "10.30.00"},
    /* an apostrophe inside the constant is written once */
    {_zorcontrolUdbDefaultDelChar, "DelChar", "'O''BRIEN'", "\"O'BRIEN\""},
    {_zorcontrolUdbDefaultIxfVarchar, "IxfVarchar", "'O''BRIEN'", std::string("\x07\x00" "O'BRIEN", 9)},
    {_zorcontrolUdbDefaultIxfChar, "IxfChar", "''''", "'"},
    /* the empty string */
    {_zorcontrolUdbDefaultDelChar, "DelChar", "''", "\"\""},
    {_zorcontrolUdbDefaultIxfClob, "IxfClob", "''", std::string(4, '\0')},
    /* a text that is not quoted (special register) is taken whole, never cut */
    {_zorcontrolUdbDefaultDelChar, "DelChar", "USER", "\"USER\""},
    {_zorcontrolUdbDefaultIxfVarchar, "IxfVarchar", "USER", std::string("\x04\x00" "USER", 6)},
    {_zorcontrolUdbDefaultIxfChar, "IxfChar", "'", "'"},
  };
  for (auto &c : acase) {
    ucoreCores cores;
    zorucoreData *pcore = coreWithDefault(cores, c.pcText);
    Str text(c.pcText);
    c.member(pcore, text.p);
    EXPECT_EQ(defaultBytes(pcore), c.strDefault) << c.pcMember << " " << c.pcText;
  }
}

TEST_F(ZorcontrolUdb, NumericDefaultsForIxf)
{
  using Member = void (*)(zorucoreData *, const ochar *);
  struct {
    Member      member;
    const char *pcText;
    std::vector<unsigned char> vBytes;
  } acase[] = {
    {_zorcontrolUdbDefaultIxfInt, "42", {0x2A, 0x00, 0x00, 0x00}},
    {_zorcontrolUdbDefaultIxfInt, "-2", {0xFE, 0xFF, 0xFF, 0xFF}},
    {_zorcontrolUdbDefaultIxfInt, "12abc", {0x0C, 0x00, 0x00, 0x00}},
    {_zorcontrolUdbDefaultIxfInt, "abc", {0x00, 0x00, 0x00, 0x00}},
    {_zorcontrolUdbDefaultIxfSmall, "258", {0x02, 0x01}},
    {_zorcontrolUdbDefaultIxfSmall, "-1", {0xFF, 0xFF}},
    {_zorcontrolUdbDefaultIxfBig, "4294967296", {0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00}},
    {_zorcontrolUdbDefaultIxfBig, "-9223372036854775808", {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80}},
    {_zorcontrolUdbDefaultIxfReal, "1.5", {0x00, 0x00, 0xC0, 0x3F}},
    {_zorcontrolUdbDefaultIxfReal, "-2.5E1", {0x00, 0x00, 0xC8, 0xC1}},
    {_zorcontrolUdbDefaultIxfDbl, "1.5", {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0x3F}},
    {_zorcontrolUdbDefaultIxfDbl, "+0.25x", {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xD0, 0x3F}},
    {_zorcontrolUdbDefaultIxfDbl, "'x'", {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
  };
  for (auto &c : acase) {
    ucoreCores cores;
    zorucoreData *pcore = coreWithDefault(cores, c.pcText);
    Str text(c.pcText);
    c.member(pcore, text.p);
    EXPECT_EQ(defaultBytes(pcore), std::string(c.vBytes.begin(), c.vBytes.end())) << c.pcText;
  }
}

TEST_F(ZorcontrolUdb, FloatDefaultsIgnoreTheLocaleDecimalComma)
{
  std::string strLocale = std::setlocale(LC_NUMERIC, nullptr);
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr && std::setlocale(LC_NUMERIC, "fr_FR.UTF-8") == nullptr)
    GTEST_SKIP() << "no locale with a decimal comma is installed";
  ucoreCores cores;
  zorucoreData *pcore = coreWithDefault(cores, "1.5");
  Str text("1.5");
  _zorcontrolUdbDefaultIxfDbl(pcore, text.p);
  std::setlocale(LC_NUMERIC, strLocale.c_str());
  EXPECT_EQ(defaultBytes(pcore), std::string("\0\0\0\0\0\0\xF8\x3F", 8));
}

TEST_F(ZorcontrolUdb, GraphicDefaults)
{
  using Member = void (*)(zorucoreData *, const ochar *, uint16_t);
  struct {
    Member      member;
    const char *pcMember;
    const char *pcText;
    uint16_t    usCCSID;
    std::string strDefault;
  } acase[] = {
    {_zorcontrolUdbDefaultIxfGraph, "IxfGraph", "G'AB'", 13488, std::string("\0A\0B", 4)},
    {_zorcontrolUdbDefaultIxfGraph, "IxfGraph", "'A''B'", 13488, std::string("\0A\0'\0B", 6)},
    {_zorcontrolUdbDefaultIxfVargraph, "IxfVargraph", "G'AB'", 13488, std::string("\x02\0\0A\0B", 6)},
    {_zorcontrolUdbDefaultIxfDbclob, "IxfDbclob", "N'AB'", 13488, std::string("\x02\0\0\0\0A\0B", 8)},
    {_zorcontrolUdbDefaultIxfVargraph, "IxfVargraph", "G''", 13488, std::string("\0\0", 2)},
    {_zorcontrolUdbDefaultDelGraph, "DelGraph", "G'AB'", 1208, "\"AB\""},
    {_zorcontrolUdbDefaultDelGraph, "DelGraph", "G'AB'", 13488, std::string("\"\0A\0B\"", 6)},
    {_zorcontrolUdbDefaultDelVargraph, "DelVargraph", "G'AB'", 1208, "\"\""},
  };
  for (auto &c : acase) {
    ucoreCores cores;
    zorucoreData *pcore = coreWithDefault(cores, c.pcText);
    Str text(c.pcText);
    c.member(pcore, text.p, c.usCCSID);
    EXPECT_EQ(defaultBytes(pcore), c.strDefault) << c.pcMember << " " << c.pcText << " " << c.usCCSID;
  }

  /* a code page that cannot be converted to leaves no default rather than unconverted bytes */
  ucoreCores cores;
  zorucoreData *pcore = coreWithDefault(cores, "G'AB'");
  Str text("G'AB'");
  _zorcontrolUdbDefaultIxfVargraph(pcore, text.p, 4711);
  EXPECT_EQ(pcore->sDefaultLength, 0);
}
