/*
** otime.h
**   DB2 DATE, TIME and TIMESTAMP values and durations for the WHERE
**   evaluator, with DB2's date arithmetic: adding years, months, days, hours,
**   minutes, seconds and microseconds, adding date, time and timestamp
**   durations, and subtracting two dates, times or timestamps into a
**   duration, with DB2's month-end and leap-year rules and the limits
**   0001-01-01 and 9999-12-31.
**
**   A value holds two forms side by side: the packed form (DB2's internal
**   bytes: a DATE is the 4 date bytes, a TIME the 3 time bytes at
**   OTIME_PTIME, a TIMESTAMP all 10 bytes, one BCD byte per part and six BCD
**   digits of microseconds; 2004-02-29-13.05.09.000250 is
**   20 04 02 29 13 05 09 00 02 50), and the extended form, one integer per
**   part, on which the arithmetic works.  Values live in caller storage;
**   nothing here allocates or prints.  No state: any thread may use it,
**   except the time_t helpers, which read the local time zone.
**
**   Day number: days since 0000-03-01 (day 0) in the proleptic Gregorian
**   calendar; valid dates are 306 (0001-01-01) to 3652364 (9999-12-31).
**
**   Status codes: 0, OTIME_YEAR 0x7a001 (a year left 0001..9999),
**   OTIME_DATE 0x7a002 (a date left 0001-01-01..9999-12-31, or a date that
**   is not valid: month outside 1..12, day outside the month).  On failure
**   the date is left as it was, but earlier steps of a duration stay
**   applied; the caller discards the value.
*/
#ifndef ZAV_EXPR_OTIME_H
#define ZAV_EXPR_OTIME_H

#include <cstdint>
#include <ctime>

#define OTIME_YEAR 0x7a001
#define OTIME_DATE 0x7a002

/* Flags. */
#define OTIME_F_EXTENDED  0x100u        /* the extended fields are valid */
#define OTIME_F_PACKED    0x200u        /* the packed bytes are valid */
#define OTIME_F_DATE      0x1000u       /* a loaded DATE */
#define OTIME_F_TIME      0x2000u       /* a loaded TIME */
#define OTIME_F_TIMESTAMP 0x7000u       /* a loaded TIMESTAMP */
#define OTIME_F_DUR_DATE  0x07u         /* date duration: years, months, days */
#define OTIME_F_DUR_TIME  0x38u         /* time duration: hours, minutes, seconds */
#define OTIME_F_DUR_TST   0x7Fu         /* timestamp duration: all seven parts */
#define OTIME_F_NEGATIVE  0x80000000u   /* the duration is negative */
#define OTIME_INIT_PACKED   0x20000200u
#define OTIME_INIT_EXTENDED 0x40000100u

/* Offsets in acPacked. */
#define OTIME_PDATE  0   /* century, year, month, day */
#define OTIME_PTIME  4   /* hour, minute, second */
#define OTIME_PMICRO 7   /* six digits of microseconds */
#define OTIME_PLEN   10

#define iNbDay400Y 146097
#define iNbDay100Y 36524
#define iNbDay4Y   1461
#define iNbDayMin  306
#define iNbDayMax  3652364

struct otime {
  uint32_t uiFlags;
  int32_t iCentury;   /* 0..99; for a duration the hundreds of years */
  int32_t iYear;      /* 0..99; for a duration years modulo 100 */
  int32_t iMonth;     /* 1..12; for a duration a count */
  int32_t iDay;       /* 1..31; for a duration a count */
  int32_t iHour;      /* 0..23; for a duration a count */
  int32_t iMinute;
  int32_t iSecond;
  int32_t iMicro;     /* 0..999999 */
  unsigned char acPacked[OTIME_PLEN];
};

/* n (0..99) -> its BCD byte. */
extern const unsigned char gacMap2Pack[100];
/* BCD byte -> its value; 0 for a byte with a nibble above 9. */
extern const int32_t gaiMap2Extd[256];
/* Last day of each month (index 1..12), February 29. */
extern const int32_t gaiAdjustMonth[13];
/* Days from March 1 to the first of month m, the year counted from March;
** index 15 is the end marker of the month search. */
extern const int32_t gaiMoisOffset[16];

/* otimePackedInit, otimeExtendedInit: clear the value; flags 0x20000200 or 0x40000100. */
void otimePackedInit(otime *pTime);
void otimeExtendedInit(otime *pTime);

/*
** otimePacked2Extended{Date,Time,Timestamp}
**   When the packed bytes are valid (0x200): set the extended parts from
**   them and flag 0x100.  Otherwise nothing.
*/
void otimePacked2ExtendedDate(otime *pTime);
void otimePacked2ExtendedTime(otime *pTime);
void otimePacked2ExtendedTimestamp(otime *pTime);

/*
** otimeExtended2Packed{Date,Time,Timestamp}
**   When the extended parts are valid (0x100): set the packed bytes from
**   them and flag 0x200.  A part outside 0..99 packs as the byte 0xFF.
*/
void otimeExtended2PackedDate(otime *pTime);
void otimeExtended2PackedTime(otime *pTime);
void otimeExtended2PackedTimestamp(otime *pTime);

/*
** otimeExtendedFromDays
**   Sets century, year, month and day from day number iDays (>= 0); the
**   time parts are not touched.
*/
void otimeExtendedFromDays(otime *pTime, int32_t iDays);

/*
** otimeExtended2Days
**   The day number of the date, or -1 when month or day is not valid.
*/
int32_t otimeExtended2Days(const otime *pTime);

/*
** otimeExtendedAddYear, otimeExtendedAddMonth, otimeExtendedAddDay
**   Add n years, months or days to the date; February 29 in a year that is
**   not a leap year becomes February 28, a day past the end of the new
**   month becomes its last day.  Return 0, OTIME_YEAR or OTIME_DATE.
*/
int otimeExtendedAddYear(otime *pTime, int32_t iN);
int otimeExtendedAddMonth(otime *pTime, int32_t iN);
int otimeExtendedAddDay(otime *pTime, int32_t iN);

/*
** otimeExtendedAddHour, otimeExtendedAddMinute, otimeExtendedAddSecond
**   Add n units; a carry past midnight moves the date when iCarryToDate is
**   1 and is dropped (the time wraps) when it is 0.
**   Return 0, or OTIME_DATE (date out of range or not valid).
*/
int otimeExtendedAddHour(otime *pTime, int32_t iN, int32_t iCarryToDate);
int otimeExtendedAddMinute(otime *pTime, int32_t iN, int32_t iCarryToDate);
int otimeExtendedAddSecond(otime *pTime, int32_t iN, int32_t iCarryToDate);

/*
** otimeExtendedAddMicro
**   Adds n microseconds, carrying into the date.  Returns 0 or OTIME_DATE.
*/
int otimeExtendedAddMicro(otime *pTime, int32_t iN);

/*
** otimeExtendedAdd{Date,Time,Timestamp}Duration
**   Apply a duration (counts in the parts, years = century x 100 + year,
**   OTIME_F_NEGATIVE for a subtraction).  A positive date part adds years,
**   months, then days; a negative one subtracts days, months, then years.
**   The time duration wraps around midnight; the timestamp duration carries
**   into the date.  Return the first non-zero status, else 0.
*/
int otimeExtendedAddDateDuration(otime *pTime, const otime *pDur);
int otimeExtendedAddTimeDuration(otime *pTime, const otime *pDur);
int otimeExtendedAddTimestampDuration(otime *pTime, const otime *pDur);

/*
** otimeExtendedDiff{Date,Time,Timestamp}
**   *pDur = a - b as a duration by DB2's rules (counts never negative;
**   OTIME_F_NEGATIVE when a is the earlier).  a and b are not changed.
**   Return 0, or OTIME_DATE (and a zero duration) when a date operand is
**   not a valid date.
*/
int otimeExtendedDiffDate(otime *pDur, const otime *pA, const otime *pB);
int otimeExtendedDiffTime(otime *pDur, const otime *pA, const otime *pB);
int otimeExtendedDiffTimestamp(otime *pDur, const otime *pA, const otime *pB);

/*
** otimeExtendedCmpTime
**   a.hour - b.hour when they differ, else the difference of the minutes
**   when they differ, else that of the seconds.
*/
int otimeExtendedCmpTime(const otime *pA, const otime *pB);

/*
** otimeTime2String
**   The local time of t as 14 digits "%Y%m%d%H%M%S" into pcBuffer (no
**   terminator).  Returns pcBuffer.
*/
char *otimeTime2String(time_t t, char *pcBuffer);

/*
** otimeTime2Timestamp
**   The local time of t as a packed timestamp (microseconds 0) into the 10
**   bytes at pucBuffer.  Returns 0, or 8 (buffer untouched) for a negative t
**   or a year outside 0001..9999.
*/
int otimeTime2Timestamp(time_t t, unsigned char *pucBuffer);

/*
** otimeString2Time
**   The time_t of 14 digit characters laid out as otimeTime2String writes
**   them, read as local time (daylight saving off); mktime's result.
*/
time_t otimeString2Time(const char *pcString);

#endif
