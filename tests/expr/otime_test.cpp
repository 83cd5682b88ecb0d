/*
** otime_test.cpp
**   Date and time arithmetic: day numbers against the C++ calendar for every
**   valid date, tables of additions (month ends, leap years, limits),
**   differences by DB2's rules, durations, the packed forms and invalid
**   packed bytes.
*/
#include "expr/otime.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using namespace std::chrono;

/* "2004-02-29" or "2004-02-29-13.05.09.000250" or "13.05.09" in extended form. */
otime ext(const char *text)
{
  otime t;
  otimeExtendedInit(&t);
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, us = 0;
  if (strlen(text) == 8) {
    EXPECT_EQ(sscanf(text, "%d.%d.%d", &h, &mi, &s), 3) << text;
  } else {
    int n = sscanf(text, "%d-%d-%d-%d.%d.%d.%d", &y, &mo, &d, &h, &mi, &s, &us);
    EXPECT_TRUE(n == 3 || n == 7) << text;
  }
  t.iCentury = y / 100;
  t.iYear = y % 100;
  t.iMonth = mo;
  t.iDay = d;
  t.iHour = h;
  t.iMinute = mi;
  t.iSecond = s;
  t.iMicro = us;
  return t;
}

std::string date(const otime &t)
{
  char buf[32];
  snprintf(buf, sizeof buf, "%02d%02d-%02d-%02d", t.iCentury, t.iYear, t.iMonth, t.iDay);
  return buf;
}

std::string time3(const otime &t)
{
  char buf[32];
  snprintf(buf, sizeof buf, "%02d.%02d.%02d", t.iHour, t.iMinute, t.iSecond);
  return buf;
}

std::string stamp(const otime &t)
{
  char buf[16];
  snprintf(buf, sizeof buf, ".%06d", t.iMicro);
  return date(t) + "-" + time3(t) + buf;
}

/* A duration as "[-]Y/M/D h:m:s.us". */
std::string dur(const otime &d)
{
  char buf[96];
  snprintf(buf, sizeof buf, "%s%d/%d/%d %d:%d:%d.%d", (d.uiFlags & OTIME_F_NEGATIVE) ? "-" : "",
           d.iCentury * 100 + d.iYear, d.iMonth, d.iDay, d.iHour, d.iMinute, d.iSecond, d.iMicro);
  return buf;
}

TEST(Otime, DayNumbersMatchTheCalendarForEveryDate)
{
  const sys_days origin = sys_days{year{0} / March / 1};
  const sys_days first = sys_days{year{1} / January / 1};
  const sys_days last = sys_days{year{9999} / December / 31};
  ASSERT_EQ((first - origin).count(), iNbDayMin);
  ASSERT_EQ((last - origin).count(), iNbDayMax);
  int mismatches = 0;
  otime t;
  otimeExtendedInit(&t);
  for (sys_days day = first; day <= last; day += days{1}) {
    year_month_day ymd{day};
    int32_t k = static_cast<int32_t>((day - origin).count());
    int y = static_cast<int>(ymd.year());
    otime want;
    otimeExtendedInit(&want);
    want.iCentury = y / 100;
    want.iYear = y % 100;
    want.iMonth = static_cast<int>(static_cast<unsigned>(ymd.month()));
    want.iDay = static_cast<int>(static_cast<unsigned>(ymd.day()));
    otimeExtendedFromDays(&t, k);
    bool ok = otimeExtended2Days(&want) == k && t.iCentury == want.iCentury && t.iYear == want.iYear &&
              t.iMonth == want.iMonth && t.iDay == want.iDay;
    if (!ok && ++mismatches <= 10) ADD_FAILURE() << "day " << k << ": want " << date(want) << " got " << date(t);
  }
  EXPECT_EQ(mismatches, 0);
  /* The cycle ends. */
  otimeExtendedFromDays(&t, 0);
  EXPECT_EQ(date(t), "0000-03-01");
  otimeExtendedFromDays(&t, iNbDay400Y - 1);
  EXPECT_EQ(date(t), "0400-02-29");
  otimeExtendedFromDays(&t, 1460);
  EXPECT_EQ(date(t), "0004-02-29");
}

enum Unit { YEARS, MONTHS, DAYS, HOURS, MINUTES, SECONDS, MICROS, TIME_HOURS, TIME_MINUTES, TIME_SECONDS };

int add(otime *t, Unit u, int32_t n)
{
  switch (u) {
  case YEARS: return otimeExtendedAddYear(t, n);
  case MONTHS: return otimeExtendedAddMonth(t, n);
  case DAYS: return otimeExtendedAddDay(t, n);
  case HOURS: return otimeExtendedAddHour(t, n, 1);
  case MINUTES: return otimeExtendedAddMinute(t, n, 1);
  case SECONDS: return otimeExtendedAddSecond(t, n, 1);
  case MICROS: return otimeExtendedAddMicro(t, n);
  case TIME_HOURS: return otimeExtendedAddHour(t, n, 0);
  case TIME_MINUTES: return otimeExtendedAddMinute(t, n, 0);
  case TIME_SECONDS: return otimeExtendedAddSecond(t, n, 0);
  }
  return -1;
}

TEST(Otime, AddingUnits)
{
  struct Case {
    const char *from;
    Unit unit;
    int32_t n;
    const char *to;   /* unchanged value expected on failure */
    int rc;
  } cases[] = {
    /* Years and February 29. */
    {"2000-02-29-00.00.00.000000", YEARS, 1, "2001-02-28-00.00.00.000000", 0},
    {"2000-02-29-00.00.00.000000", YEARS, 4, "2004-02-29-00.00.00.000000", 0},
    {"2000-02-29-00.00.00.000000", YEARS, 100, "2100-02-28-00.00.00.000000", 0},
    {"2000-02-29-00.00.00.000000", YEARS, 0, "2000-02-29-00.00.00.000000", 0},
    {"2004-06-15-00.00.00.000000", YEARS, -2003, "0001-06-15-00.00.00.000000", 0},
    {"0150-06-15-00.00.00.000000", YEARS, -149, "0001-06-15-00.00.00.000000", 0},
    {"9999-06-01-00.00.00.000000", YEARS, 1, "9999-06-01-00.00.00.000000", OTIME_YEAR},
    {"0001-06-01-00.00.00.000000", YEARS, -1, "0001-06-01-00.00.00.000000", OTIME_YEAR},
    {"2004-06-01-00.00.00.000000", YEARS, INT32_MAX, "2004-06-01-00.00.00.000000", OTIME_YEAR},
    {"2004-06-01-00.00.00.000000", YEARS, INT32_MIN, "2004-06-01-00.00.00.000000", OTIME_YEAR},
    /* Months and month ends. */
    {"2004-01-31-00.00.00.000000", MONTHS, 1, "2004-02-29-00.00.00.000000", 0},
    {"2003-01-31-00.00.00.000000", MONTHS, 1, "2003-02-28-00.00.00.000000", 0},
    {"2004-05-31-00.00.00.000000", MONTHS, 1, "2004-06-30-00.00.00.000000", 0},
    {"2004-03-31-00.00.00.000000", MONTHS, -1, "2004-02-29-00.00.00.000000", 0},
    {"2004-01-15-00.00.00.000000", MONTHS, -13, "2002-12-15-00.00.00.000000", 0},
    {"2004-11-15-00.00.00.000000", MONTHS, 1, "2004-12-15-00.00.00.000000", 0},
    {"2004-05-15-00.00.00.000000", MONTHS, 19, "2005-12-15-00.00.00.000000", 0},
    {"2004-12-15-00.00.00.000000", MONTHS, 1, "2005-01-15-00.00.00.000000", 0},
    {"2004-12-15-00.00.00.000000", MONTHS, 12, "2005-12-15-00.00.00.000000", 0},
    {"2004-01-15-00.00.00.000000", MONTHS, -1, "2003-12-15-00.00.00.000000", 0},
    {"2004-03-15-00.00.00.000000", MONTHS, -15, "2002-12-15-00.00.00.000000", 0},
    {"2004-03-15-00.00.00.000000", MONTHS, -24, "2002-03-15-00.00.00.000000", 0},
    {"2004-10-31-00.00.00.000000", MONTHS, 4, "2005-02-28-00.00.00.000000", 0},
    {"9999-12-15-00.00.00.000000", MONTHS, 1, "9999-12-15-00.00.00.000000", OTIME_YEAR},
    {"0001-01-15-00.00.00.000000", MONTHS, -1, "0001-01-15-00.00.00.000000", OTIME_YEAR},
    {"2004-01-15-00.00.00.000000", MONTHS, INT32_MAX, "2004-01-15-00.00.00.000000", OTIME_YEAR},
    /* Days and the limits. */
    {"2004-02-28-00.00.00.000000", DAYS, 1, "2004-02-29-00.00.00.000000", 0},
    {"2004-12-31-00.00.00.000000", DAYS, 1, "2005-01-01-00.00.00.000000", 0},
    {"2005-03-01-00.00.00.000000", DAYS, -1, "2005-02-28-00.00.00.000000", 0},
    {"0001-01-01-00.00.00.000000", DAYS, 3652058, "9999-12-31-00.00.00.000000", 0},
    {"9999-12-31-00.00.00.000000", DAYS, 1, "9999-12-31-00.00.00.000000", OTIME_DATE},
    {"0001-01-01-00.00.00.000000", DAYS, -1, "0001-01-01-00.00.00.000000", OTIME_DATE},
    {"2004-01-01-00.00.00.000000", DAYS, INT32_MAX, "2004-01-01-00.00.00.000000", OTIME_DATE},
    {"2004-01-01-00.00.00.000000", DAYS, INT32_MIN, "2004-01-01-00.00.00.000000", OTIME_DATE},
    /* Times carrying into the date, and times that wrap. */
    {"2004-02-28-23.59.59.999999", MICROS, 1, "2004-02-29-00.00.00.000000", 0},
    {"2004-03-01-00.00.00.000000", MICROS, -1, "2004-02-29-23.59.59.999999", 0},
    {"2004-03-01-00.00.00.000000", MICROS, INT32_MIN, "2004-02-29-23.24.12.516352", 0},
    {"2004-03-01-00.00.00.000000", HOURS, -24, "2004-02-29-00.00.00.000000", 0},
    {"2004-03-01-00.00.00.000000", HOURS, 49, "2004-03-03-01.00.00.000000", 0},
    {"2004-03-01-00.30.00.000000", MINUTES, -31, "2004-02-29-23.59.00.000000", 0},
    {"2004-03-01-00.00.59.000000", SECONDS, 86401, "2004-03-02-00.01.00.000000", 0},
    {"9999-12-31-23.00.00.000000", HOURS, 1, "9999-12-31-00.00.00.000000", OTIME_DATE},
    {"0001-01-01-00.00.00.000000", SECONDS, -1, "0001-01-01-23.59.59.000000", OTIME_DATE},
    {"2004-01-01-23.00.00.000000", TIME_HOURS, 2, "2004-01-01-01.00.00.000000", 0},
    {"2004-01-01-00.30.00.000000", TIME_HOURS, -1, "2004-01-01-23.30.00.000000", 0},
    {"9999-12-31-23.59.00.000000", TIME_MINUTES, 1, "9999-12-31-00.00.00.000000", 0},
    {"2004-01-01-00.00.00.000000", TIME_SECONDS, -1, "2004-01-01-23.59.59.000000", 0},
    {"2004-01-01-00.00.00.000000", TIME_HOURS, INT32_MIN, "2004-01-01-16.00.00.000000", 0},
  };
  for (const Case &c : cases) {
    otime t = ext(c.from);
    int rc = add(&t, c.unit, c.n);
    EXPECT_EQ(rc, c.rc) << c.from << " unit " << c.unit << " n " << c.n;
    /* After a failure only the date must be as it was. */
    std::string got = rc == 0 ? stamp(t) : date(t);
    std::string want = rc == 0 ? std::string(c.to) : date(ext(c.to));
    EXPECT_EQ(got, want) << c.from << " unit " << c.unit << " n " << c.n;
  }
}

TEST(Otime, InvalidDatesAreErrors)
{
  /* Packed bytes that do not form a date: month 0 (from a byte that is not
  ** BCD), month 13, day 0, day 31 in April, February 29 of 2001. */
  const unsigned char bad[][4] = {
    {0x20, 0x04, 0x1A, 0x15}, {0x20, 0x04, 0x13, 0x15}, {0x20, 0x04, 0x04, 0x00},
    {0x20, 0x04, 0x04, 0x31}, {0x20, 0x01, 0x02, 0x29}, {0xFF, 0xFF, 0xFF, 0xFF},
  };
  for (const auto &b : bad) {
    otime t;
    otimePackedInit(&t);
    memcpy(t.acPacked + OTIME_PDATE, b, 4);
    otimePacked2ExtendedDate(&t);
    otime saved = t;
    EXPECT_NE(otimeExtendedAddYear(&t, 1), 0);
    EXPECT_NE(otimeExtendedAddMonth(&t, 1), 0);
    EXPECT_NE(otimeExtendedAddDay(&t, 1), 0);
    EXPECT_EQ(memcmp(&t, &saved, sizeof t), 0);
    EXPECT_EQ(otimeExtended2Days(&t), -1);
    otime good = ext("2004-01-01"), d;
    EXPECT_EQ(otimeExtendedDiffDate(&d, &good, &t), OTIME_DATE);
    EXPECT_EQ(dur(d), "0/0/0 0:0:0.0");
    EXPECT_EQ(otimeExtendedDiffTimestamp(&d, &t, &good), OTIME_DATE);
  }
  /* Bytes that are not BCD read as 0. */
  otime t;
  otimePackedInit(&t);
  const unsigned char ts[10] = {0x20, 0x1A, 0x02, 0x29, 0x13, 0x05, 0xF9, 0x00, 0x02, 0x5B};
  memcpy(t.acPacked, ts, 10);
  otimePacked2ExtendedTimestamp(&t);
  EXPECT_EQ(stamp(t), "2000-02-29-13.05.00.000200");
}

TEST(Otime, PackedForms)
{
  otime t;
  otimePackedInit(&t);
  EXPECT_EQ(t.uiFlags, OTIME_INIT_PACKED);
  const unsigned char ts[10] = {0x20, 0x04, 0x02, 0x29, 0x13, 0x05, 0x09, 0x00, 0x02, 0x50};
  memcpy(t.acPacked, ts, 10);
  otimePacked2ExtendedTimestamp(&t);
  EXPECT_TRUE(t.uiFlags & OTIME_F_EXTENDED);
  EXPECT_EQ(stamp(t), "2004-02-29-13.05.09.000250");
  ASSERT_EQ(otimeExtendedAddMicro(&t, 999750), 0);
  otimeExtended2PackedTimestamp(&t);
  const unsigned char want[10] = {0x20, 0x04, 0x02, 0x29, 0x13, 0x05, 0x10, 0x00, 0x00, 0x00};
  EXPECT_EQ(memcmp(t.acPacked, want, 10), 0);

  /* Date and time conversions touch only their own bytes. */
  otime d = ext("1999-12-31-23.59.58.000000");
  memset(d.acPacked, 0xEE, sizeof d.acPacked);
  otimeExtended2PackedDate(&d);
  const unsigned char wantDate[10] = {0x19, 0x99, 0x12, 0x31, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
  EXPECT_EQ(memcmp(d.acPacked, wantDate, 10), 0);
  otimeExtended2PackedTime(&d);
  const unsigned char wantTime[7] = {0x19, 0x99, 0x12, 0x31, 0x23, 0x59, 0x58};
  EXPECT_EQ(memcmp(d.acPacked, wantTime, 7), 0);
  EXPECT_EQ(d.acPacked[7], 0xEE);

  /* Without the matching flag the conversions do nothing. */
  otime e;
  otimeExtendedInit(&e);
  e.iHour = 5;
  otimePacked2ExtendedTime(&e);
  EXPECT_EQ(e.iHour, 5);
  otimePackedInit(&e);
  e.iHour = 5;
  otimeExtended2PackedTime(&e);
  EXPECT_EQ(e.acPacked[OTIME_PTIME], 0);

  /* Parts outside 0..99 never index past the table. */
  otime f = ext("2004-01-01-00.00.00.000000");
  f.iDay = 100;
  f.iMicro = 1000000;
  otimeExtended2PackedTimestamp(&f);
  EXPECT_EQ(f.acPacked[3], 0xFF);
  EXPECT_EQ(f.acPacked[7], 0xFF);
}

TEST(Otime, DateDifferences)
{
  struct Case {
    const char *a, *b, *want;
  } cases[] = {
    {"2005-03-31", "2005-02-28", "0/1/3 0:0:0.0"},
    {"2005-02-28", "2005-03-31", "-0/1/3 0:0:0.0"},
    {"2005-03-01", "2005-01-31", "0/1/1 0:0:0.0"},
    {"2004-03-01", "2004-02-29", "0/0/1 0:0:0.0"},
    {"2000-01-01", "1999-12-31", "0/0/1 0:0:0.0"},
    {"2005-06-01", "1999-06-01", "6/0/0 0:0:0.0"},
    {"2005-04-04", "2004-01-20", "1/2/15 0:0:0.0"},
    {"2004-03-30", "2004-02-29", "0/1/1 0:0:0.0"},
    {"2003-03-01", "2003-02-28", "0/0/1 0:0:0.0"},
    {"9999-12-31", "0001-01-01", "9998/11/30 0:0:0.0"},
    {"2004-07-04", "2004-07-04", "0/0/0 0:0:0.0"},
  };
  for (const Case &c : cases) {
    otime a = ext(c.a), b = ext(c.b), d;
    otime a0 = a, b0 = b;
    ASSERT_EQ(otimeExtendedDiffDate(&d, &a, &b), 0);
    EXPECT_EQ(dur(d), c.want) << c.a << " - " << c.b;
    EXPECT_EQ(d.uiFlags & ~OTIME_F_NEGATIVE, OTIME_INIT_EXTENDED | OTIME_F_DUR_DATE);
    EXPECT_EQ(memcmp(&a, &a0, sizeof a), 0);
    EXPECT_EQ(memcmp(&b, &b0, sizeof b), 0);
  }
}

TEST(Otime, TimeAndTimestampDifferences)
{
  otime a = ext("10.00.00"), b = ext("11.30.15"), d;
  ASSERT_EQ(otimeExtendedDiffTime(&d, &a, &b), 0);
  EXPECT_EQ(dur(d), "-0/0/0 1:30:15.0");
  EXPECT_EQ(d.uiFlags, OTIME_INIT_EXTENDED | OTIME_F_DUR_TIME | OTIME_F_NEGATIVE);
  a = ext("23.00.00");
  b = ext("00.59.59");
  ASSERT_EQ(otimeExtendedDiffTime(&d, &a, &b), 0);
  EXPECT_EQ(dur(d), "0/0/0 22:0:1.0");
  ASSERT_EQ(otimeExtendedDiffTime(&d, &a, &a), 0);
  EXPECT_EQ(dur(d), "0/0/0 0:0:0.0");
  EXPECT_GT(otimeExtendedCmpTime(&a, &b), 0);

  struct Case {
    const char *a, *b, *want;
  } cases[] = {
    {"2005-03-01-00.00.00.000000", "2005-01-31-01.00.00.000001", "0/1/0 22:59:59.999999"},
    {"2005-01-31-01.00.00.000001", "2005-03-01-00.00.00.000000", "-0/1/0 22:59:59.999999"},
    {"2004-01-01-00.00.00.000001", "2004-01-01-00.00.00.000000", "0/0/0 0:0:0.1"},
    {"2004-01-01-00.00.00.000000", "2004-01-01-00.00.00.000001", "-0/0/0 0:0:0.1"},
    {"2004-01-02-00.00.00.000000", "2004-01-01-23.59.59.999999", "0/0/0 0:0:0.1"},
    {"2004-01-01-12.00.00.000000", "2004-01-01-12.00.00.000000", "0/0/0 0:0:0.0"},
  };
  for (const Case &c : cases) {
    otime x = ext(c.a), y = ext(c.b);
    ASSERT_EQ(otimeExtendedDiffTimestamp(&d, &x, &y), 0);
    EXPECT_EQ(dur(d), c.want) << c.a << " - " << c.b;
  }
}

TEST(Otime, Durations)
{
  otime dd;
  otimeExtendedInit(&dd);
  dd.uiFlags |= OTIME_F_DUR_DATE;
  dd.iYear = 1;
  dd.iMonth = 2;
  dd.iDay = 15;
  otime t = ext("2004-01-20");
  ASSERT_EQ(otimeExtendedAddDateDuration(&t, &dd), 0);
  EXPECT_EQ(date(t), "2005-04-04");
  dd.uiFlags |= OTIME_F_NEGATIVE;  /* days, then months, then years */
  ASSERT_EQ(otimeExtendedAddDateDuration(&t, &dd), 0);
  EXPECT_EQ(date(t), "2004-01-20");
  t = ext("0001-01-10");
  EXPECT_EQ(otimeExtendedAddDateDuration(&t, &dd), OTIME_DATE);
  t = ext("0001-03-20");
  EXPECT_EQ(otimeExtendedAddDateDuration(&t, &dd), OTIME_YEAR);

  otime td;
  otimeExtendedInit(&td);
  td.uiFlags |= OTIME_F_DUR_TIME;
  td.iHour = 25;
  td.iMinute = 61;
  t = ext("2004-01-20-23.30.00.000000");
  ASSERT_EQ(otimeExtendedAddTimeDuration(&t, &td), 0);
  EXPECT_EQ(stamp(t), "2004-01-20-01.31.00.000000");
  td.uiFlags |= OTIME_F_NEGATIVE;
  ASSERT_EQ(otimeExtendedAddTimeDuration(&t, &td), 0);
  EXPECT_EQ(stamp(t), "2004-01-20-23.30.00.000000");

  otime sd;
  otimeExtendedInit(&sd);
  sd.uiFlags |= OTIME_F_DUR_TST;
  sd.iMonth = 1;
  sd.iHour = 22;
  sd.iMinute = 59;
  sd.iSecond = 59;
  sd.iMicro = 999999;
  t = ext("2005-01-31-01.00.00.000001");
  ASSERT_EQ(otimeExtendedAddTimestampDuration(&t, &sd), 0);
  EXPECT_EQ(stamp(t), "2005-03-01-00.00.00.000000");
  sd.uiFlags |= OTIME_F_NEGATIVE;
  ASSERT_EQ(otimeExtendedAddTimestampDuration(&t, &sd), 0);
  EXPECT_EQ(stamp(t), "2005-01-31-01.00.00.000001");
  t = ext("9999-12-31-23.00.00.000000");
  otimeExtendedInit(&sd);
  sd.uiFlags |= OTIME_F_DUR_TST;
  sd.iHour = 1;
  EXPECT_EQ(otimeExtendedAddTimestampDuration(&t, &sd), OTIME_DATE);
}

TEST(Otime, SystemTimes)
{
  const char *oldTz = getenv("TZ");
  std::string saved = oldTz ? oldTz : "";
  setenv("TZ", "UTC", 1);
  tzset();
  char buf[14];
  memset(buf, 'x', sizeof buf);
  otimeTime2String(1078059909, buf);  /* 2004-02-29 13:05:09 UTC */
  EXPECT_EQ(std::string(buf, 14), "20040229130509");
  EXPECT_EQ(otimeString2Time("20040229130509"), 1078059909);
  unsigned char ts[10];
  memset(ts, 0xAA, sizeof ts);
  ASSERT_EQ(otimeTime2Timestamp(1078059909, ts), 0);
  const unsigned char want[10] = {0x20, 0x04, 0x02, 0x29, 0x13, 0x05, 0x09, 0x00, 0x00, 0x00};
  EXPECT_EQ(memcmp(ts, want, 10), 0);
  memset(ts, 0xAA, sizeof ts);
  EXPECT_EQ(otimeTime2Timestamp(-1, ts), 8);
  EXPECT_EQ(ts[0], 0xAA);
  if (oldTz) setenv("TZ", saved.c_str(), 1); else unsetenv("TZ");
  tzset();
}

}  // namespace
