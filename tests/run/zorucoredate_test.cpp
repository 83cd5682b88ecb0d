/*
** zorucoredate_test.cpp
**   DEL converters of DATE, TIME and TIMESTAMP: every format with the
**   templates and positions the control step prepares, separators of other
**   lengths, the 12-hour clock, the day of the year, nulls, and values or
**   templates that cannot be written.
*/
#include "run/zorucoredate.h"

#include <gtest/gtest.h>

#include "run/zorucoredel.h"
#include "tests/run/ucoretest.h"

namespace {

/* The format codes as plain ints. */
const int DATE_A = COLKEY_DATE_A, DATE_P = COLKEY_DATE_P, TIME_A = COLKEY_TIME_A, TIME_E = COLKEY_TIME_E,
          TS_A = COLKEY_TS_A;

const uint32_t SEP = ZORUCORE_FLAG_SEP;
const uint32_t DELIM = ZORUCORE_FLAG_DELIM;

/*
** Layouts of the formats, one letter per piece: C century, Y year, M month,
** D day, J day of year, h hour, m minute, s second,
** U microseconds, a the AM/PM letter and its "M", '-' the date separator,
** '.' the time separator, any other character itself.
*/
const char *layout(int iCode)
{
  static const char *apcDate[] = {"M-D-CY", "M-D-Y", "CY-M-D", "Y-M-D", "D-M-CY", "D-M-Y", "CY-J", "Y-J",
                                  "MDCY",   "MDY",   "CYMD",   "YMD",   "DMCY",   "DMY",   "CYJ",  "YJ"};
  static const char *apcTime[] = {"h.m.s", "h.m", "h.m a", "hms", "hm"};
  static const char *apcTs[] = {"CY-M-D-h.m.s", "CY-M-D-h.m.s.U", "CYMDhms", "YMDhms", "CYMDhmsU", "YMDhmsU"};
  if (iCode <= DATE_P) return apcDate[iCode - DATE_A];
  if (iCode <= TIME_E) return apcTime[iCode - TIME_A];
  return apcTs[iCode - TS_A];
}

/* Fills the core's template and positions for a format, as the control step does. */
void setTemplate(zorucoreData *pcore, int iCode, const std::string &strD, const std::string &strT)
{
  std::string strText;
  for (const char *pc = layout(iCode); *pc != '\0'; pc++) {
    int iPos = static_cast<int>(strText.size());
    switch (*pc) {
      case 'C': pcore->asPos[ZORUCORE_POS_CENTURY] = static_cast<int16_t>(iPos); strText += "00"; break;
      case 'Y': pcore->asPos[ZORUCORE_POS_YEAR] = static_cast<int16_t>(iPos); strText += "00"; break;
      case 'M': pcore->asPos[ZORUCORE_POS_MONTH] = static_cast<int16_t>(iPos); strText += "00"; break;
      case 'D': pcore->asPos[ZORUCORE_POS_DAY] = static_cast<int16_t>(iPos); strText += "00"; break;
      case 'J': pcore->asPos[ZORUCORE_POS_DAY] = static_cast<int16_t>(iPos); strText += "000"; break;
      case 'h': pcore->asPos[ZORUCORE_POS_HOUR] = static_cast<int16_t>(iPos); strText += "00"; break;
      case 'm': pcore->asPos[ZORUCORE_POS_MINUTE] = static_cast<int16_t>(iPos); strText += "00"; break;
      case 's': pcore->asPos[ZORUCORE_POS_SECOND] = static_cast<int16_t>(iPos); strText += "00"; break;
      case 'a': pcore->asPos[ZORUCORE_POS_SECOND] = static_cast<int16_t>(iPos); strText += "AM"; break;
      case 'U': pcore->asPos[ZORUCORE_POS_MICRO] = static_cast<int16_t>(iPos); strText += "000000"; break;
      case '-': strText += strD; break;
      case '.': strText += strT; break;
      default:  strText += *pc; break;
    }
  }
  std::free(pcore->pcTemplate);
  pcore->pcTemplate = static_cast<char *>(std::malloc(strText.size()));
  std::memcpy(pcore->pcTemplate, strText.data(), strText.size());
  pcore->sTemplateLength = static_cast<int16_t>(strText.size());
}

/* A record holding one value at offset 0 followed by its null byte. */
std::vector<unsigned char> valueRecord(std::initializer_list<unsigned char> l, uint8_t ucNull = 0)
{
  ucoreBytes data;
  data.put(0, l).put(l.size(), {ucNull});
  return ucoreRecord(static_cast<int16_t>(l.size() + 1), data);
}

uint16_t targetOf(int iCode) { return static_cast<uint16_t>(0xB000 | iCode); }

uint16_t sourceOf(int iCode)
{
  return static_cast<uint16_t>(iCode <= DATE_P ? 0x000A : iCode <= TIME_E ? 0x000B : 0x000C);
}

/* The text of one value in one format (without the record end), with the code. */
std::string convert(int iCode, const std::vector<unsigned char> &vRecord, int *piRc, uint32_t ulFlags = DELIM,
                    const std::string &strD = "-", const std::string &strT = ".", bool boNullable = false)
{
  ucoreCores cores;
  zorucoreData *pcore = cores.make(ulFlags);
  setTemplate(pcore, iCode, strD, strT);
  uint16_t usSource = static_cast<uint16_t>(sourceOf(iCode) | (boNullable ? COLKEY_NULLABLE : 0));
  std::string str = ucoreOne(cores, {usSource, targetOf(iCode), 0, 0, pcore}, vRecord, piRc);
  if (!str.empty() && str.back() == '\n') str.pop_back();
  return str;
}

const auto recDate = valueRecord({0x20, 0x24, 0x02, 0x29});                                       /* 2024-02-29 */
const auto recTime = valueRecord({0x13, 0x05, 0x09});                                             /* 13:05:09 */
const auto recTs = valueRecord({0x20, 0x24, 0x02, 0x29, 0x13, 0x05, 0x09, 0x12, 0x34, 0x56});   /* ...123456 */

}  // namespace

TEST(zorucoreDates, EveryFormat)
{
  struct {
    char        cLetter;
    const char *pcText;
  } adate[] = {
    {'A', "02-29-2024"}, {'B', "02-29-24"}, {'C', "2024-02-29"}, {'D', "24-02-29"}, {'E', "29-02-2024"},
    {'F', "29-02-24"},   {'G', "2024-060"}, {'H', "24-060"},     {'I', "02292024"}, {'J', "022924"},
    {'K', "20240229"},   {'L', "240229"},   {'M', "29022024"},   {'N', "290224"},   {'O', "2024060"},
    {'P', "24060"},
  };
  for (auto &c : adate) {
    int iRc = -1;
    /* dates are never delimited, whatever the flags say */
    EXPECT_EQ(convert(DATE_A + c.cLetter - 'A', recDate, &iRc), c.pcText) << "DATE_" << c.cLetter;
    EXPECT_EQ(iRc, 0);
  }
  struct {
    char        cLetter;
    const char *pcText;
  } atime[] = {{'A', "\"13.05.09\""}, {'B', "\"13.05\""}, {'C', "\"01.05 PM\""}, {'D', "\"130509\""}, {'E', "\"1305\""}};
  for (auto &c : atime) {
    int iRc = -1;
    EXPECT_EQ(convert(TIME_A + c.cLetter - 'A', recTime, &iRc), c.pcText) << "TIME_" << c.cLetter;
    EXPECT_EQ(iRc, 0);
  }
  struct {
    char        cLetter;
    const char *pcText;
  } ats[] = {
    {'A', "\"2024-02-29-13.05.09\""}, {'B', "\"2024-02-29-13.05.09.123456\""}, {'C', "\"20240229130509\""},
    {'D', "\"240229130509\""},        {'E', "\"20240229130509123456\""},       {'F', "\"240229130509123456\""},
  };
  for (auto &c : ats) {
    int iRc = -1;
    EXPECT_EQ(convert(TS_A + c.cLetter - 'A', recTs, &iRc), c.pcText) << "TIMESTAMP_" << c.cLetter;
    EXPECT_EQ(iRc, 0);
  }
}

TEST(zorucoreDates, SeparatorsOfOtherLengthsAndNoDelimiters)
{
  int iRc = -1;
  EXPECT_EQ(convert(DATE_A + 'C' - 'A', recDate, &iRc, DELIM, "--"), "2024--02--29");
  EXPECT_EQ(convert(DATE_A + 'G' - 'A', recDate, &iRc, DELIM, "--"), "2024--060");
  EXPECT_EQ(convert(DATE_A + 'B' - 'A', recDate, &iRc, DELIM, ""), "022924");
  EXPECT_EQ(convert(TIME_A + 'C' - 'A', recTime, &iRc, DELIM, "-", ":"), "\"01:05 PM\"");
  EXPECT_EQ(convert(TS_A + 'B' - 'A', recTs, &iRc, DELIM, "/", "::"), "\"2024/02/29/13::05::09::123456\"");
  EXPECT_EQ(convert(TIME_A, recTime, &iRc, 0), "13.05.09");
  EXPECT_EQ(convert(TS_A + 'C' - 'A', recTs, &iRc, SEP), ",20240229130509");
  EXPECT_EQ(iRc, 0);
}

TEST(zorucoreDates, TwelveHourClock)
{
  struct {
    unsigned char ucHour, ucMinute;
    const char   *pcText;
  } acase[] = {
    {0x00, 0x00, "\"12.00 AM\""}, {0x00, 0x05, "\"12.05 AM\""}, {0x01, 0x00, "\"01.00 AM\""},
    {0x11, 0x59, "\"11.59 AM\""}, {0x12, 0x00, "\"12.00 PM\""}, {0x12, 0x05, "\"12.05 PM\""},
    {0x13, 0x00, "\"01.00 PM\""}, {0x23, 0x59, "\"11.59 PM\""}, {0x24, 0x00, "\"12.00 AM\""},
  };
  for (auto &c : acase) {
    int iRc = -1;
    EXPECT_EQ(convert(TIME_A + 'C' - 'A', valueRecord({c.ucHour, c.ucMinute, 0x00}), &iRc), c.pcText);
    EXPECT_EQ(iRc, 0);
  }
}

TEST(zorucoreDates, DayOfYear)
{
  struct {
    unsigned char auc[4];
    int           iDay;
  } acase[] = {
    {{0x20, 0x24, 0x01, 0x01}, 1},   {{0x20, 0x24, 0x02, 0x29}, 60},  {{0x20, 0x24, 0x03, 0x01}, 61},
    {{0x20, 0x23, 0x03, 0x01}, 60},  {{0x20, 0x23, 0x12, 0x31}, 365}, {{0x20, 0x24, 0x12, 0x31}, 366},
    {{0x19, 0x00, 0x03, 0x01}, 60},  {{0x20, 0x00, 0x03, 0x01}, 61},  {{0x00, 0x01, 0x01, 0x01}, 1},
    {{0x99, 0x99, 0x12, 0x31}, 365}, {{0x20, 0x24, 0x13, 0x01}, 0},   {{0x20, 0x24, 0x00, 0x01}, 0},
  };
  for (auto &c : acase)
    EXPECT_EQ(_zorucore_GetQuantieme(c.auc), c.iDay) << std::hex << int(c.auc[0]) << int(c.auc[1]) << " "
                                                     << int(c.auc[2]) << " " << int(c.auc[3]);
  int iRc = -1;
  EXPECT_EQ(convert(DATE_A + 'P' - 'A', valueRecord({0x20, 0x23, 0x12, 0x31}), &iRc), "23365");
  EXPECT_EQ(convert(DATE_A + 'O' - 'A', valueRecord({0x00, 0x01, 0x01, 0x01}), &iRc), "0001001");
  /* a month DB2 never stores: written, without reading past the month table */
  EXPECT_EQ(convert(DATE_A + 'H' - 'A', valueRecord({0x20, 0x24, 0x13, 0x01}), &iRc), "24-000");
  EXPECT_EQ(iRc, 0);
}

TEST(zorucoreDates, NullsAndColumnsBeyondTheRecord)
{
  int iRc = -1;
  EXPECT_EQ(convert(DATE_A + 'K' - 'A', valueRecord({0x20, 0x24, 0x02, 0x29}, 1), &iRc, SEP | DELIM, "-", ".",
                    true),
            ",");
  EXPECT_EQ(convert(TIME_A, valueRecord({0x13, 0x05, 0x09}, 1), &iRc, DELIM, "-", ".", true), "");
  EXPECT_EQ(convert(TS_A + 1, valueRecord({0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 1), &iRc, DELIM, "-", ".", true), "");
  EXPECT_EQ(iRc, 0);
  /* a DATE column added after the record was written: its default text */
  ucoreCores cores;
  zorucoreData *pcore = cores.make(SEP);
  setTemplate(pcore, DATE_A + 'K' - 'A', "-", ".");
  ucoreSetDefault(pcore, "00010101");
  EXPECT_EQ(ucoreOne(cores, {0x000A, targetOf(DATE_A + 'K' - 'A'), 0, 5, pcore},
                     valueRecord({0x20, 0x24, 0x02, 0x29}), &iRc),
            ",00010101\n");
  EXPECT_EQ(iRc, 0);
}

TEST(zorucoreDates, UnwritableValueOrTemplateDropsTheRow)
{
  int iRc = 0;
  /* digits that are no decimal digits */
  convert(DATE_A + 'K' - 'A', valueRecord({0x20, 0x2A, 0x02, 0x29}), &iRc);
  EXPECT_EQ(iRc, ZORUCORE_RC_BADVALUE);
  convert(TS_A + 1, valueRecord({0x20, 0x24, 0x02, 0x29, 0x13, 0x05, 0x09, 0x12, 0x3F, 0x56}), &iRc);
  EXPECT_EQ(iRc, ZORUCORE_RC_BADVALUE);
  /* a value cut by the end of the record */
  convert(TS_A + 1, ucoreRecord(10, ucoreBytes(6)), &iRc);
  EXPECT_EQ(iRc, ZORUCORE_RC_BADVALUE);

  /* positions outside the template, or no template at all */
  struct {
    const char *pcName;
    int         iCode;
    int         iPosIndex;
    int16_t     sPos;
  } acase[] = {
    {"day past the end", DATE_A + 'C' - 'A', ZORUCORE_POS_DAY, 9},
    {"negative month", DATE_A + 'J' - 'A', ZORUCORE_POS_MONTH, -1},
    {"microseconds past the end", TS_A + 1, ZORUCORE_POS_MICRO, 21},
    {"AM letter over the hour", TIME_A + 'C' - 'A', ZORUCORE_POS_SECOND, 1},
  };
  for (auto &c : acase) {
    ucoreCores cores;
    zorucoreData *pcore = cores.make(DELIM);
    setTemplate(pcore, c.iCode, "-", ".");
    pcore->asPos[c.iPosIndex] = c.sPos;
    const auto &rec = c.iCode <= DATE_P ? recDate : c.iCode <= TIME_E ? recTime : recTs;
    ucoreOne(cores, {sourceOf(c.iCode), targetOf(c.iCode), 0, 0, pcore}, rec, &iRc);
    EXPECT_EQ(iRc, ZORUCORE_RC_BADVALUE) << c.pcName;
  }
  ucoreCores cores;
  ucoreOne(cores, {0x000A, targetOf(DATE_A + 'K' - 'A'), 0, 0, cores.make(0)}, recDate, &iRc);
  EXPECT_EQ(iRc, ZORUCORE_RC_BADVALUE);
  /* formats written without template need none */
  EXPECT_EQ(ucoreOne(cores, {0x000B, targetOf(TIME_A + 'D' - 'A'), 0, 0, cores.make(0)}, recTime, &iRc),
            "130509\n");
  EXPECT_EQ(iRc, 0);
  /* the output buffer: "\"2024-02-29-13.05.09.123456\"" is 28 bytes, then "\n" */
  for (size_t ul : {28, 20, 1}) {
    int iRcRoom = 0;
    ucoreCores coresRoom;
    zorucoreData *pcore = coresRoom.make(DELIM);
    setTemplate(pcore, TS_A + 1, "-", ".");
    ucoreOne(coresRoom, {0x000C, targetOf(TS_A + 1), 0, 0, pcore}, recTs, &iRcRoom, ul);
    EXPECT_EQ(iRcRoom, ZORUCORE_RC_NOROOM) << ul;
  }
}

// DATE_J, L and N copy no template: under positions that leave bytes between
// their groups (a template with separators), those bytes are the template's,
// never what the output buffer held before ('#' in these tests).
TEST(zorucoreDates, FormatsWithoutTemplateCopyLeaveNoByteUnwritten)
{
  struct {
    char        cFormat, cTemplateOf;
    const char *pcText;
  } acase[] = {{'J', 'B', "02-29-24"}, {'L', 'D', "24-02-29"}, {'N', 'F', "29-02-24"}};
  for (auto &c : acase) {
    ucoreCores cores;
    zorucoreData *pcore = cores.make(DELIM);
    setTemplate(pcore, DATE_A + c.cTemplateOf - 'A', "-", ".");
    int iRc = -1;
    std::string str = ucoreOne(cores, {sourceOf(DATE_A), targetOf(DATE_A + c.cFormat - 'A'), 0, 0, pcore}, recDate, &iRc);
    if (!str.empty() && str.back() == '\n') str.pop_back();
    EXPECT_EQ(str, c.pcText) << "DATE_" << c.cFormat;
    EXPECT_EQ(iRc, 0);
  }
}
