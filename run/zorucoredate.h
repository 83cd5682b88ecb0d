/*
** zorucoredate.h
**   DEL column converters, part three: DATE, TIME and TIMESTAMP in the 16
**   date formats DATE_A..DATE_P, the 5 time formats TIME_A..TIME_E and the
**   6 timestamp formats TIMESTAMP_A..TIMESTAMP_F (the format code is the
**   low byte of the target key, model/orow.h).  The control step puts a text
**   template and the positions of its digit groups into the core data
**   (asPos, ZORUCORE_POS_*); a converter copies the template and writes the
**   digits of the DB2 value at those positions.  Dates are written without
**   delimiters, times and timestamps between them.  The column frame is
**   run/zorucoredel.h's.
**
**   DB2 values (packed decimal digits, two per byte, high nibble first):
**     DATE       4 bytes: century and year of century, month, day
**     TIME       3 bytes: hour, minute, second
**     TIMESTAMP 10 bytes: century, year, month, day, hour, minute, second,
**                then 3 bytes of microseconds
**
**   Formats whose text has no separator (DATE_J..P without template copy,
**   TIME_D, TIME_E, TIMESTAMP_C..F) write every byte of their text
**   themselves; the others start from the template (DATE_J, L and N also
**   do when the template's positions leave bytes between their groups).  A position that would
**   put a group outside the template makes the converter return
**   ZORUCORE_RC_BADVALUE.
*/
#ifndef ZAV_RUN_ZORUCOREDATE_H
#define ZAV_RUN_ZORUCOREDATE_H

#include "model/orow.h"
#include "run/zorucore.h"

/*
** _zorucore_GetQuantieme
**   The Gregorian day of the year (1 to 366) of the packed date at
**   pucDate (4 bytes).  Returns 0 when the month is not 1 to 12.
*/
int _zorucore_GetQuantieme(const unsigned char *pucDate);

/*
** zorucoreDateLayout
**   What a DEL date, time or timestamp converter writes for one column, as
**   the row programs (run/zorucoreprog.h) write it: the text of iLength
**   bytes (the core data's template, or nothing, first), each group's
**   digits at its position, the delimiters around times and timestamps
**   under ZORUCORE_FLAG_DELIM.
*/
#define ZORUCORE_LAYOUT_GROUPS 8
struct zorucoreDateLayout {
  int  iValueBytes;   /* bytes of the packed value: 4, 3 or 10 */
  bool boDelim;       /* a time or timestamp: between delimiters */
  bool boTemplate;    /* the template is copied first */
  bool boCovered;     /* the groups write every byte of a text without template */
  int  iLength;       /* bytes of the text */
  int  iGroups;
  struct {
    int iByte;        /* first value byte of the group */
    int iBytes;       /* value bytes (two digits each): 1, or 3 for microseconds */
    int iPos;         /* text position */
  } agroup[ZORUCORE_LAYOUT_GROUPS];
};

/*
** _zorucoreDateTimeLayout
**   The layout the converter func (one of those below) writes for a column
**   with the core data pcore.
**   Returns true; false when func is none of them, when one of its groups is
**   not plain digits (day of year, 12-hour clock), or when the converter
**   refuses the core data's template or positions (ZORUCORE_RC_BADVALUE for
**   every value).
*/
bool _zorucoreDateTimeLayout(oconvertFunc func, const zorucoreData *pcore, zorucoreDateLayout *playout);

/* DATE_A, DATE_C, DATE_E: template; century, year, month, day. */
int _zorucore_DateA2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_DateAN2Delimited(orow *prowSource, orow *prowTarget);
/* DATE_B, DATE_D, DATE_F: template; year, month, day. */
int _zorucore_DateB2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_DateBN2Delimited(orow *prowSource, orow *prowTarget);
/* DATE_G: template; century, year, day of year. */
int _zorucore_DateG2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_DateGN2Delimited(orow *prowSource, orow *prowTarget);
/* DATE_H: template; year, day of year. */
int _zorucore_DateH2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_DateHN2Delimited(orow *prowSource, orow *prowTarget);
/* DATE_I, DATE_K, DATE_M: template; century, year, month, day. */
int _zorucore_Date2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_DateN2Delimited(orow *prowSource, orow *prowTarget);
/* DATE_J, DATE_L, DATE_N: year, month, day at the template positions. */
int _zorucore_DateJ2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_DateJN2Delimited(orow *prowSource, orow *prowTarget);
/* DATE_O: YYYYDDD. */
int _zorucore_DateO2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_DateON2Delimited(orow *prowSource, orow *prowTarget);
/* DATE_P: YYDDD. */
int _zorucore_DateP2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_DatePN2Delimited(orow *prowSource, orow *prowTarget);

/* TIME_A: template; hour, minute, second. */
int _zorucore_Time2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_TimeN2Delimited(orow *prowSource, orow *prowTarget);
/* TIME_B: template; hour, minute. */
int _zorucore_TimeB2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_TimeBN2Delimited(orow *prowSource, orow *prowTarget);
/* TIME_C: template; hour on the 12-hour clock (12 AM midnight, 12 PM noon, 24:00 as 12 AM), A or P. */
int _zorucore_TimeC2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_TimeCN2Delimited(orow *prowSource, orow *prowTarget);
/* TIME_D: HHMMSS. */
int _zorucore_TimeD2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_TimeDN2Delimited(orow *prowSource, orow *prowTarget);
/* TIME_E: HHMM. */
int _zorucore_TimeE2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_TimeEN2Delimited(orow *prowSource, orow *prowTarget);

/* TIMESTAMP_A: template; century to second. */
int _zorucore_TimestampA2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_TimestampAN2Delimited(orow *prowSource, orow *prowTarget);
/* TIMESTAMP_B: template; century to second and microseconds. */
int _zorucore_Timestamp2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_TimestampN2Delimited(orow *prowSource, orow *prowTarget);
/* TIMESTAMP_C: YYYYMMDDHHMMSS. */
int _zorucore_TimestampC2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_TimestampCN2Delimited(orow *prowSource, orow *prowTarget);
/* TIMESTAMP_D: YYMMDDHHMMSS. */
int _zorucore_TimestampD2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_TimestampDN2Delimited(orow *prowSource, orow *prowTarget);
/* TIMESTAMP_E: YYYYMMDDHHMMSSNNNNNN. */
int _zorucore_TimestampE2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_TimestampEN2Delimited(orow *prowSource, orow *prowTarget);
/* TIMESTAMP_F: YYMMDDHHMMSSNNNNNN. */
int _zorucore_TimestampF2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_TimestampFN2Delimited(orow *prowSource, orow *prowTarget);

#endif
