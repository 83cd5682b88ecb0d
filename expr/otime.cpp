/*
** otime.cpp
**   DB2 date and time arithmetic on the extended form of otime values, and
**   the conversions between the extended and the packed forms (see
**   otime.h).  Every date operation first checks that the date it starts
**   from is a real date, works on a copy in 64-bit arithmetic and stores the
**   copy only when it succeeds, so that bytes that are not a valid date
**   never index a table and never wrap an integer.
*/
#include "expr/otime.h"

#include <cstring>

const unsigned char gacMap2Pack[100] = {
  0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09,
  0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19,
  0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x29,
  0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39,
  0x40, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49,
  0x50, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59,
  0x60, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69,
  0x70, 0x71, 0x72, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79,
  0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89,
  0x90, 0x91, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99,
};

#define X10(t) t, t + 1, t + 2, t + 3, t + 4, t + 5, t + 6, t + 7, t + 8, t + 9, 0, 0, 0, 0, 0, 0
#define XBAD 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0
const int32_t gaiMap2Extd[256] = {
  X10(0), X10(10), X10(20), X10(30), X10(40), X10(50), X10(60), X10(70), X10(80), X10(90),
  XBAD, XBAD, XBAD, XBAD, XBAD, XBAD,
};
#undef X10
#undef XBAD

const int32_t gaiAdjustMonth[13] = {0, 31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
const int32_t gaiMoisOffset[16] = {0, 306, 337, 0, 31, 61, 92, 122, 153, 184, 214, 245, 275, 306, 337, 9999};

/* Floor division and its non-negative remainder. */
static int64_t _otimeFloorDiv(int64_t a, int64_t b)
{
  int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) q--;
  return q;
}

static int64_t _otimeFloorMod(int64_t a, int64_t b)
{
  return a - _otimeFloorDiv(a, b) * b;
}

static int64_t _otimeFullYear(const otime *p)
{
  return static_cast<int64_t>(p->iCentury) * 100 + p->iYear;
}

static bool _otimeIsLeap(int64_t llYear)
{
  return llYear % 4 == 0 && (llYear % 100 != 0 || llYear % 400 == 0);
}

/* Last day of month m (1..12) of a year. */
static int32_t _otimeLastDay(int64_t llYear, int32_t iMonth)
{
  if (iMonth == 2) return _otimeIsLeap(llYear) ? 29 : 28;
  return gaiAdjustMonth[iMonth];
}

/* 0 when century, year, month and day form a real date of 0000..9999,
** else OTIME_DATE. */
static int _otimeCheckDate(const otime *p)
{
  if (p->iCentury < 0 || p->iCentury > 99 || p->iYear < 0 || p->iYear > 99) return OTIME_DATE;
  if (p->iMonth < 1 || p->iMonth > 12) return OTIME_DATE;
  if (p->iDay < 1 || p->iDay > _otimeLastDay(_otimeFullYear(p), p->iMonth)) return OTIME_DATE;
  return 0;
}

/* Day number of a checked date. */
static int64_t _otimeDays(const otime *p)
{
  int64_t y = _otimeFullYear(p);
  if (p->iMonth <= 2) y--;
  return 365 * y + _otimeFloorDiv(y, 4) - _otimeFloorDiv(y, 100) + _otimeFloorDiv(y, 400) +
         gaiMoisOffset[p->iMonth] + p->iDay - 1;
}

static unsigned char _otimePack(int64_t n)
{
  return (n >= 0 && n <= 99) ? gacMap2Pack[n] : 0xFF;
}

void otimePackedInit(otime *pTime)
{
  memset(pTime, 0, sizeof *pTime);
  pTime->uiFlags = OTIME_INIT_PACKED;
}

void otimeExtendedInit(otime *pTime)
{
  memset(pTime, 0, sizeof *pTime);
  pTime->uiFlags = OTIME_INIT_EXTENDED;
}

void otimePacked2ExtendedDate(otime *pTime)
{
  if (!(pTime->uiFlags & OTIME_F_PACKED)) return;
  const unsigned char *p = pTime->acPacked + OTIME_PDATE;
  pTime->uiFlags |= OTIME_F_EXTENDED;
  pTime->iCentury = gaiMap2Extd[p[0]];
  pTime->iYear = gaiMap2Extd[p[1]];
  pTime->iMonth = gaiMap2Extd[p[2]];
  pTime->iDay = gaiMap2Extd[p[3]];
}

void otimePacked2ExtendedTime(otime *pTime)
{
  if (!(pTime->uiFlags & OTIME_F_PACKED)) return;
  const unsigned char *p = pTime->acPacked + OTIME_PTIME;
  pTime->uiFlags |= OTIME_F_EXTENDED;
  pTime->iHour = gaiMap2Extd[p[0]];
  pTime->iMinute = gaiMap2Extd[p[1]];
  pTime->iSecond = gaiMap2Extd[p[2]];
}

void otimePacked2ExtendedTimestamp(otime *pTime)
{
  if (!(pTime->uiFlags & OTIME_F_PACKED)) return;
  otimePacked2ExtendedDate(pTime);
  otimePacked2ExtendedTime(pTime);
  const unsigned char *p = pTime->acPacked + OTIME_PMICRO;
  pTime->iMicro = gaiMap2Extd[p[0]] * 10000 + gaiMap2Extd[p[1]] * 100 + gaiMap2Extd[p[2]];
}

void otimeExtended2PackedDate(otime *pTime)
{
  if (!(pTime->uiFlags & OTIME_F_EXTENDED)) return;
  unsigned char *p = pTime->acPacked + OTIME_PDATE;
  pTime->uiFlags |= OTIME_F_PACKED;
  p[0] = _otimePack(pTime->iCentury);
  p[1] = _otimePack(pTime->iYear);
  p[2] = _otimePack(pTime->iMonth);
  p[3] = _otimePack(pTime->iDay);
}

void otimeExtended2PackedTime(otime *pTime)
{
  if (!(pTime->uiFlags & OTIME_F_EXTENDED)) return;
  unsigned char *p = pTime->acPacked + OTIME_PTIME;
  pTime->uiFlags |= OTIME_F_PACKED;
  p[0] = _otimePack(pTime->iHour);
  p[1] = _otimePack(pTime->iMinute);
  p[2] = _otimePack(pTime->iSecond);
}

void otimeExtended2PackedTimestamp(otime *pTime)
{
  if (!(pTime->uiFlags & OTIME_F_EXTENDED)) return;
  otimeExtended2PackedDate(pTime);
  otimeExtended2PackedTime(pTime);
  unsigned char *p = pTime->acPacked + OTIME_PMICRO;
  int32_t iMicro = pTime->iMicro;
  if (iMicro < 0 || iMicro > 999999) {
    p[0] = p[1] = p[2] = 0xFF;
    return;
  }
  p[0] = _otimePack(iMicro / 10000);
  p[1] = _otimePack(iMicro % 10000 / 100);
  p[2] = _otimePack(iMicro % 100);
}

static void _otimeFromDays(otime *pTime, int64_t k)
{
  int64_t y = 400 * _otimeFloorDiv(k, iNbDay400Y);
  int64_t r = _otimeFloorMod(k, iNbDay400Y);
  int32_t iMonth, iDay;
  int64_t c = r / iNbDay100Y;
  y += 100 * c;
  if (c == 4) {
    iMonth = 2;
    iDay = 29;
  } else {
    r %= iNbDay100Y;
    y += 4 * (r / iNbDay4Y);
    int64_t t = r % iNbDay4Y;
    y += t / 365;
    if (t / 365 == 4) {
      iMonth = 2;
      iDay = 29;
    } else {
      int32_t d = static_cast<int32_t>(t % 365);
      iMonth = 3;
      while (d >= gaiMoisOffset[iMonth + 1]) iMonth++;
      iDay = d - gaiMoisOffset[iMonth] + 1;
      if (iMonth > 12) {
        iMonth -= 12;
        y++;
      }
    }
  }
  pTime->iCentury = static_cast<int32_t>(_otimeFloorDiv(y, 100));
  pTime->iYear = static_cast<int32_t>(_otimeFloorMod(y, 100));
  pTime->iMonth = iMonth;
  pTime->iDay = iDay;
}

void otimeExtendedFromDays(otime *pTime, int32_t iDays)
{
  _otimeFromDays(pTime, iDays);
}

int32_t otimeExtended2Days(const otime *pTime)
{
  if (_otimeCheckDate(pTime) != 0) return -1;
  return static_cast<int32_t>(_otimeDays(pTime));
}

/* Years onto a date without checking it first; February 29 of a year that
** is not a leap year becomes February 28. */
static int _otimeAddYears(otime *pTime, int64_t n)
{
  int64_t y = _otimeFullYear(pTime) + n;
  if (y < 1 || y > 9999) return OTIME_YEAR;
  pTime->iCentury = static_cast<int32_t>(y / 100);
  pTime->iYear = static_cast<int32_t>(y % 100);
  if (pTime->iMonth == 2 && pTime->iDay == 29 && !_otimeIsLeap(y)) pTime->iDay = 28;
  return 0;
}

static int _otimeAddYear(otime *pTime, int64_t n)
{
  int iRc = _otimeCheckDate(pTime);
  if (iRc != 0) return iRc;
  otime w = *pTime;
  iRc = _otimeAddYears(&w, n);
  if (iRc == 0) *pTime = w;
  return iRc;
}

static int _otimeAddMonth(otime *pTime, int64_t n)
{
  int iRc = _otimeCheckDate(pTime);
  if (iRc != 0) return iRc;
  otime w = *pTime;
  int64_t llTotal = w.iMonth - 1 + n;
  w.iMonth = static_cast<int32_t>(_otimeFloorMod(llTotal, 12)) + 1;
  iRc = _otimeAddYears(&w, _otimeFloorDiv(llTotal, 12));
  if (iRc != 0) return iRc;
  int32_t iLast = _otimeLastDay(_otimeFullYear(&w), w.iMonth);
  if (w.iDay > iLast) w.iDay = iLast;
  *pTime = w;
  return 0;
}

static int _otimeAddDay(otime *pTime, int64_t n)
{
  if (n == 0) return 0;
  int iRc = _otimeCheckDate(pTime);
  if (iRc != 0) return iRc;
  int64_t k = _otimeDays(pTime) + n;
  if (k < iNbDayMin || k > iNbDayMax) return OTIME_DATE;
  _otimeFromDays(pTime, k);
  return 0;
}

/* Adds n to a part counted from iLow with base llBase; returns the carry. */
static int64_t _otimeStep(int32_t *piPart, int64_t n, int64_t llBase)
{
  if (n == 0) return 0;
  int64_t llTotal = *piPart + n;
  *piPart = static_cast<int32_t>(_otimeFloorMod(llTotal, llBase));
  return _otimeFloorDiv(llTotal, llBase);
}

static int _otimeAddHour(otime *pTime, int64_t n, int32_t iCarryToDate)
{
  int64_t llCarry = _otimeStep(&pTime->iHour, n, 24);
  if (llCarry != 0 && iCarryToDate == 1) return _otimeAddDay(pTime, llCarry);
  return 0;
}

static int _otimeAddMinute(otime *pTime, int64_t n, int32_t iCarryToDate)
{
  int64_t llCarry = _otimeStep(&pTime->iMinute, n, 60);
  return _otimeAddHour(pTime, llCarry, iCarryToDate);
}

static int _otimeAddSecond(otime *pTime, int64_t n, int32_t iCarryToDate)
{
  int64_t llCarry = _otimeStep(&pTime->iSecond, n, 60);
  return _otimeAddMinute(pTime, llCarry, iCarryToDate);
}

static int _otimeAddMicro(otime *pTime, int64_t n)
{
  int64_t llCarry = _otimeStep(&pTime->iMicro, n, 1000000);
  return _otimeAddSecond(pTime, llCarry, 1);
}

int otimeExtendedAddYear(otime *pTime, int32_t iN) { return _otimeAddYear(pTime, iN); }
int otimeExtendedAddMonth(otime *pTime, int32_t iN) { return _otimeAddMonth(pTime, iN); }
int otimeExtendedAddDay(otime *pTime, int32_t iN) { return _otimeAddDay(pTime, iN); }

int otimeExtendedAddHour(otime *pTime, int32_t iN, int32_t iCarryToDate)
{
  return _otimeAddHour(pTime, iN, iCarryToDate);
}

int otimeExtendedAddMinute(otime *pTime, int32_t iN, int32_t iCarryToDate)
{
  return _otimeAddMinute(pTime, iN, iCarryToDate);
}

int otimeExtendedAddSecond(otime *pTime, int32_t iN, int32_t iCarryToDate)
{
  return _otimeAddSecond(pTime, iN, iCarryToDate);
}

int otimeExtendedAddMicro(otime *pTime, int32_t iN) { return _otimeAddMicro(pTime, iN); }

/* The date part of a duration: positive years, months, days; negative days,
** months, years. */
static int _otimeApplyDatePart(otime *pTime, const otime *pDur, bool bNegative)
{
  int64_t llYears = static_cast<int64_t>(pDur->iCentury) * 100 + pDur->iYear;
  int64_t llMonths = pDur->iMonth, llDays = pDur->iDay;
  int iRc = 0;
  if (!bNegative) {
    if (llYears != 0) iRc = _otimeAddYear(pTime, llYears);
    if (iRc == 0 && llMonths != 0) iRc = _otimeAddMonth(pTime, llMonths);
    if (iRc == 0 && llDays != 0) iRc = _otimeAddDay(pTime, llDays);
  } else {
    if (llDays != 0) iRc = _otimeAddDay(pTime, -llDays);
    if (iRc == 0 && llMonths != 0) iRc = _otimeAddMonth(pTime, -llMonths);
    if (iRc == 0 && llYears != 0) iRc = _otimeAddYear(pTime, -llYears);
  }
  return iRc;
}

int otimeExtendedAddDateDuration(otime *pTime, const otime *pDur)
{
  return _otimeApplyDatePart(pTime, pDur, (pDur->uiFlags & OTIME_F_NEGATIVE) != 0);
}

int otimeExtendedAddTimeDuration(otime *pTime, const otime *pDur)
{
  int64_t s = (pDur->uiFlags & OTIME_F_NEGATIVE) ? -1 : 1;
  if (pDur->iHour != 0) _otimeAddHour(pTime, s * pDur->iHour, 0);
  if (pDur->iMinute != 0) _otimeAddMinute(pTime, s * pDur->iMinute, 0);
  if (pDur->iSecond != 0) _otimeAddSecond(pTime, s * pDur->iSecond, 0);
  return 0;
}

int otimeExtendedAddTimestampDuration(otime *pTime, const otime *pDur)
{
  bool bNegative = (pDur->uiFlags & OTIME_F_NEGATIVE) != 0;
  int64_t s = bNegative ? -1 : 1;
  int iRc = _otimeApplyDatePart(pTime, pDur, bNegative);
  if (iRc == 0 && pDur->iHour != 0) iRc = _otimeAddHour(pTime, s * pDur->iHour, 1);
  if (iRc == 0 && pDur->iMinute != 0) iRc = _otimeAddMinute(pTime, s * pDur->iMinute, 1);
  if (iRc == 0 && pDur->iSecond != 0) iRc = _otimeAddSecond(pTime, s * pDur->iSecond, 1);
  if (iRc == 0 && pDur->iMicro != 0) iRc = _otimeAddMicro(pTime, s * pDur->iMicro);
  return iRc;
}

/* a - b, kept within an int. */
static int _otimeDiffPart(int32_t a, int32_t b)
{
  int64_t d = static_cast<int64_t>(a) - b;
  if (d > INT32_MAX) return INT32_MAX;
  if (d < INT32_MIN) return INT32_MIN;
  return static_cast<int>(d);
}

int otimeExtendedCmpTime(const otime *pA, const otime *pB)
{
  if (pA->iHour != pB->iHour) return _otimeDiffPart(pA->iHour, pB->iHour);
  if (pA->iMinute != pB->iMinute) return _otimeDiffPart(pA->iMinute, pB->iMinute);
  return _otimeDiffPart(pA->iSecond, pB->iSecond);
}

static int _otimeCmpDate(const otime *pA, const otime *pB)
{
  if (pA->iCentury != pB->iCentury) return pA->iCentury < pB->iCentury ? -1 : 1;
  if (pA->iYear != pB->iYear) return pA->iYear < pB->iYear ? -1 : 1;
  if (pA->iMonth != pB->iMonth) return pA->iMonth < pB->iMonth ? -1 : 1;
  if (pA->iDay != pB->iDay) return pA->iDay < pB->iDay ? -1 : 1;
  return 0;
}

/* Days, months and years of a - b, a the later date; b's day may already be
** raised by a borrow from the hours.  b is changed. */
static void _otimeDiffDateParts(otime *pDur, const otime *pA, otime *pB)
{
  if (pA->iDay >= pB->iDay) {
    pDur->iDay = pA->iDay - pB->iDay;
  } else {
    pDur->iDay = pA->iDay + _otimeLastDay(_otimeFullYear(pB), pB->iMonth) - pB->iDay;
    pB->iMonth++;
  }
  if (pA->iMonth >= pB->iMonth) {
    pDur->iMonth = pA->iMonth - pB->iMonth;
  } else {
    pDur->iMonth = pA->iMonth + 12 - pB->iMonth;
    pB->iYear++;
  }
  int64_t llYears = _otimeFullYear(pA) - _otimeFullYear(pB);
  pDur->iCentury = static_cast<int32_t>(llYears / 100);
  pDur->iYear = static_cast<int32_t>(llYears % 100);
}

/* One borrowing step: a - b of a part, raising b's next part on a borrow. */
static int32_t _otimeBorrow(int32_t iA, int32_t iB, int32_t iBase, int32_t *piNextB)
{
  int32_t d = iA - iB;
  if (d < 0) {
    d += iBase;
    (*piNextB)++;
  }
  return d;
}

int otimeExtendedDiffDate(otime *pDur, const otime *pA, const otime *pB)
{
  otimeExtendedInit(pDur);
  pDur->uiFlags |= OTIME_F_DUR_DATE;
  if (_otimeCheckDate(pA) != 0 || _otimeCheckDate(pB) != 0) return OTIME_DATE;
  int iCmp = _otimeCmpDate(pA, pB);
  if (iCmp == 0) return 0;
  otime a = *pA, b = *pB;
  if (iCmp < 0) {
    pDur->uiFlags |= OTIME_F_NEGATIVE;
    a = *pB;
    b = *pA;
  }
  _otimeDiffDateParts(pDur, &a, &b);
  return 0;
}

int otimeExtendedDiffTime(otime *pDur, const otime *pA, const otime *pB)
{
  otimeExtendedInit(pDur);
  pDur->uiFlags |= OTIME_F_DUR_TIME;
  int iCmp = otimeExtendedCmpTime(pA, pB);
  if (iCmp == 0) return 0;
  otime a = *pA, b = *pB;
  if (iCmp < 0) {
    pDur->uiFlags |= OTIME_F_NEGATIVE;
    a = *pB;
    b = *pA;
  }
  pDur->iSecond = _otimeBorrow(a.iSecond, b.iSecond, 60, &b.iMinute);
  pDur->iMinute = _otimeBorrow(a.iMinute, b.iMinute, 60, &b.iHour);
  pDur->iHour = a.iHour - b.iHour;
  return 0;
}

int otimeExtendedDiffTimestamp(otime *pDur, const otime *pA, const otime *pB)
{
  otimeExtendedInit(pDur);
  pDur->uiFlags |= OTIME_F_DUR_TST;
  if (_otimeCheckDate(pA) != 0 || _otimeCheckDate(pB) != 0) return OTIME_DATE;
  int iCmp = _otimeCmpDate(pA, pB);
  if (iCmp == 0) iCmp = otimeExtendedCmpTime(pA, pB);
  if (iCmp == 0 && pA->iMicro != pB->iMicro) iCmp = pA->iMicro < pB->iMicro ? -1 : 1;
  if (iCmp == 0) return 0;
  otime a = *pA, b = *pB;
  if (iCmp < 0) {
    pDur->uiFlags |= OTIME_F_NEGATIVE;
    a = *pB;
    b = *pA;
  }
  pDur->iMicro = _otimeBorrow(a.iMicro, b.iMicro, 1000000, &b.iSecond);
  pDur->iSecond = _otimeBorrow(a.iSecond, b.iSecond, 60, &b.iMinute);
  pDur->iMinute = _otimeBorrow(a.iMinute, b.iMinute, 60, &b.iHour);
  pDur->iHour = _otimeBorrow(a.iHour, b.iHour, 24, &b.iDay);
  _otimeDiffDateParts(pDur, &a, &b);
  return 0;
}

char *otimeTime2String(time_t t, char *pcBuffer)
{
  char acArea[15];
  memset(acArea, 0, sizeof acArea);
  struct tm tmLocal;
  if (localtime_r(&t, &tmLocal) != nullptr) strftime(acArea, sizeof acArea, "%Y%m%d%H%M%S", &tmLocal);
  memcpy(pcBuffer, acArea, 14);
  return pcBuffer;
}

int otimeTime2Timestamp(time_t t, unsigned char *pucBuffer)
{
  if (t < 0) return 8;
  struct tm tmLocal;
  if (localtime_r(&t, &tmLocal) == nullptr) return 8;
  int64_t llYear = static_cast<int64_t>(tmLocal.tm_year) + 1900;
  if (llYear < 1 || llYear > 9999) return 8;
  pucBuffer[0] = gacMap2Pack[llYear / 100];
  pucBuffer[1] = gacMap2Pack[llYear % 100];
  pucBuffer[2] = gacMap2Pack[tmLocal.tm_mon + 1];
  pucBuffer[3] = gacMap2Pack[tmLocal.tm_mday];
  pucBuffer[4] = gacMap2Pack[tmLocal.tm_hour];
  pucBuffer[5] = gacMap2Pack[tmLocal.tm_min];
  pucBuffer[6] = _otimePack(tmLocal.tm_sec);  /* a leap second reads 60 */
  pucBuffer[7] = pucBuffer[8] = pucBuffer[9] = 0;
  return 0;
}

time_t otimeString2Time(const char *pcString)
{
  auto digits = [pcString](int iFrom, int iCount) {
    int n = 0;
    for (int i = 0; i < iCount; i++) n = n * 10 + (pcString[iFrom + i] & 0x0F);
    return n;
  };
  struct tm tmLocal;
  memset(&tmLocal, 0, sizeof tmLocal);
  int iYear = digits(0, 4);
  tmLocal.tm_year = iYear >= 1900 ? iYear - 1900 : iYear;
  tmLocal.tm_mon = digits(4, 2) - 1;
  tmLocal.tm_mday = digits(6, 2);
  tmLocal.tm_hour = digits(8, 2);
  tmLocal.tm_min = digits(10, 2);
  tmLocal.tm_sec = digits(12, 2);
  tmLocal.tm_isdst = 0;
  return mktime(&tmLocal);
}
