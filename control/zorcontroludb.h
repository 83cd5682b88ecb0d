/*
** zorcontroludb.h
**   Date/time templates and column default values of the output columns.
**   The core-data builder of the output preparation calls these once per
**   output column, so that the row converters of the run step only copy and
**   patch bytes per row:
**
**   - the template functions put into the core data (run/zorucore.h) the
**     text of the column's DATE, TIME or TIMESTAMP layout (delimiters, a
**     blank, "AM", and the digit 0 wherever a component goes), its length,
**     and the byte position of each component (asPos, ZORUCORE_POS_*);
**     positions a layout does not use are left as they are;
**   - the default functions rewrite the core data's default buffer, which
**     the builder has loaded with a copy of the catalogue default text, into
**     the value the converters write for a column that a stored record does
**     not contain: DEL text, or the IXF binary value (little-endian numbers
**     and length prefixes).
**
**   The layout letter is that of the DATE, TIME or TIMESTAMP type atom found
**   from the output-column task upwards.  DATE layouts A..P, TIME A..E,
**   TIMESTAMP A..F; with date delimiter d (Ld bytes) and time delimiter t:
**     DATE_A  MM d DD d YYYY     DATE_I  MMDDYYYY     TIME_A  HH t MM t SS
**     DATE_B  MM d DD d YY       DATE_J  MMDDYY       TIME_B  HH t MM
**     DATE_C  YYYY d MM d DD     DATE_K  YYYYMMDD     TIME_C  HH t MM AM
**     DATE_D  YY d MM d DD       DATE_L  YYMMDD       TIME_D  HHMMSS
**     DATE_E  DD d MM d YYYY     DATE_M  DDMMYYYY     TIME_E  HHMM
**     DATE_F  DD d MM d YY       DATE_N  DDMMYY
**     DATE_G  YYYY d DDD         DATE_O  YYYYDDD      (DDD: day of year)
**     DATE_H  YY d DDD           DATE_P  YYDDD
**     TIMESTAMP_A  YYYY d MM d DD d HH t MM t SS
**     TIMESTAMP_B  YYYY d MM d DD d HH t MM t SS t NNNNNN
**     TIMESTAMP_C  YYYYMMDDHHMMSS        TIMESTAMP_E  YYYYMMDDHHMMSSNNNNNN
**     TIMESTAMP_D  YYMMDDHHMMSS          TIMESTAMP_F  YYMMDDHHMMSSNNNNNN
**
**   Catalogue default texts are SQL constants: 'text' (an apostrophe inside
**   doubled), G'text' or N'text' for graphic columns, digits for numbers,
**   'YYYY-MM-DD', 'HH.MM.SS' and 'YYYY-MM-DD-HH.MM.SS.NNNNNN' for dates,
**   times and timestamps.  A character default that is not quoted (a special
**   register such as USER) is taken whole.  A date, time or timestamp default
**   that does not have its form leaves the catalogue text as it is.
**
**   Every default function replaces the default buffer by a new one of
**   3 x length + 9 bytes (the capacity the builder and the core-data copy
**   use), frees the old one, and never reads the text beyond its length.
**   They report nothing.  Runs in the main process during the control step;
**   the results are read-only afterwards.
*/
#ifndef ZAV_CONTROL_ZORCONTROLUDB_H
#define ZAV_CONTROL_ZORCONTROLUDB_H

#include <cstdint>

struct ochar;
struct zortask;
struct zorucoreData;

/* ------------------------------------------------------------- templates */

/*
** _zorcontrolUdbDateTemplate
**   Sets the template, its length and the century, year, month and day
**   positions of the column's DATE letter (DATE atom from ptaskEcs up).
**   pcharDateDelim: the DATEDELIM text (NULL counts as empty).
**   Returns 0, also when the letter is absent or outside A..P (nothing is
**   changed then); ORC_NOMEM when the template cannot be allocated, or
**   ORC_INVALID when the template would exceed 32767 bytes (nothing changed).
*/
int _zorcontrolUdbDateTemplate(zorucoreData *pcore, zortask *ptaskEcs, const ochar *pcharDateDelim);

/*
** _zorcontrolUdbTimeTemplate
**   Sets the template and the hour, minute and second positions (TIME_C:
**   the second's position is that of the AM marker) of the TIME letter.
**   Returns as _zorcontrolUdbDateTemplate (letters A..E).
*/
int _zorcontrolUdbTimeTemplate(zorucoreData *pcore, zortask *ptaskEcs, const ochar *pcharTimeDelim);

/*
** _zorcontrolUdbTimestampTemplate
**   Sets the template and the positions of the TIMESTAMP letter; the date
**   part and the time part are joined by the date delimiter.
**   Returns as _zorcontrolUdbDateTemplate (letters A..F).
*/
int _zorcontrolUdbTimestampTemplate(zorucoreData *pcore, zortask *ptaskEcs, const ochar *pcharDateDelim,
                                    const ochar *pcharTimeDelim);

/* ------------------------------------------------------- default values */

/* CHAR, VARCHAR, LONG VARCHAR, BLOB, CLOB as DEL: the text between two DEL delimiter characters. */
void _zorcontrolUdbDefaultDelChar(zorucoreData *pcore, const ochar *pcharDefault);

/*
** _zorcontrolUdbDefaultDelText
**   As _zorcontrolUdbDefaultDelChar, with the text converted from the
**   default's CCSID to usTargetCCSID (when both name code pages; a text
**   that cannot be converted leaves the column without default) and, when
**   boDoubled, each delimiter character inside it written twice.
*/
void _zorcontrolUdbDefaultDelText(zorucoreData *pcore, const ochar *pcharDefault, uint16_t usTargetCCSID,
                                  bool boDoubled);

/* CHAR as IXF: the text. */
void _zorcontrolUdbDefaultIxfChar(zorucoreData *pcore, const ochar *pcharDefault);

/* VARCHAR, LONG VARCHAR as IXF: 16-bit byte count, then the text. */
void _zorcontrolUdbDefaultIxfVarchar(zorucoreData *pcore, const ochar *pcharDefault);

/* BLOB, CLOB as IXF: 32-bit byte count, then the text. */
void _zorcontrolUdbDefaultIxfClob(zorucoreData *pcore, const ochar *pcharDefault);

/* DATE, TIME, TIMESTAMP as IXF: the text (YYYY-MM-DD, HH.MM.SS, YYYY-MM-DD-HH.MM.SS.NNNNNN). */
void _zorcontrolUdbDefaultIxfDatetime(zorucoreData *pcore, const ochar *pcharDefault);

/*
** _zorcontrolUdbDefaultDelDate, _zorcontrolUdbDefaultDelTime,
** _zorcontrolUdbDefaultDelTmsp
**   DATE, TIME, TIMESTAMP as DEL: the column's template with the default's
**   components at their positions, exactly as the row converters lay out a
**   value of that layout (day of year for DATE_G, H, O, P; 12-hour clock
**   with A or P for TIME_C); a DATE without delimiters, a TIME or TIMESTAMP
**   between two DEL delimiter characters.  ptaskEcs is the output-column
**   task whose layout letter built the template (the positions alone do not
**   tell which components a layout has).
**   Nothing is changed when the layout letter or the template is absent, or
**   when the text is not a quoted value of the column's type with the digits
**   of every component the layout shows.
*/
void _zorcontrolUdbDefaultDelDate(zorucoreData *pcore, const ochar *pcharDefault, zortask *ptaskEcs);
void _zorcontrolUdbDefaultDelTime(zorucoreData *pcore, const ochar *pcharDefault, zortask *ptaskEcs);
void _zorcontrolUdbDefaultDelTmsp(zorucoreData *pcore, const ochar *pcharDefault, zortask *ptaskEcs);

/* SMALLINT, INTEGER, BIGINT as IXF: the leading decimal number of the text (0 when none), 2, 4 or 8 bytes. */
void _zorcontrolUdbDefaultIxfSmall(zorucoreData *pcore, const ochar *pcharDefault);
void _zorcontrolUdbDefaultIxfInt(zorucoreData *pcore, const ochar *pcharDefault);
void _zorcontrolUdbDefaultIxfBig(zorucoreData *pcore, const ochar *pcharDefault);

/* REAL, DOUBLE as IXF: the leading floating-point number of the text (0 when none), read with "." as the point. */
void _zorcontrolUdbDefaultIxfReal(zorucoreData *pcore, const ochar *pcharDefault);
void _zorcontrolUdbDefaultIxfDbl(zorucoreData *pcore, const ochar *pcharDefault);

/*
** _zorcontrolUdbDefaultDelGraph
**   GRAPHIC as DEL: the text converted to usTargetCCSID (the target
**   column's) between two DEL delimiter characters.  A text that cannot be
**   converted leaves no default (length 0).
*/
void _zorcontrolUdbDefaultDelGraph(zorucoreData *pcore, const ochar *pcharDefault, uint16_t usTargetCCSID);

/*
** _zorcontrolUdbDefaultIxfGraph
**   GRAPHIC as IXF: the double-byte characters of the text converted to
**   usSourceCCSID (the source column's).  No default when it cannot be
**   converted.
*/
void _zorcontrolUdbDefaultIxfGraph(zorucoreData *pcore, const ochar *pcharDefault, uint16_t usSourceCCSID);

/* VARGRAPHIC, LONG VARGRAPHIC, DBCLOB as DEL: an empty delimited string (two DEL delimiter characters). */
void _zorcontrolUdbDefaultDelVargraph(zorucoreData *pcore, const ochar *pcharDefault, uint16_t usTargetCCSID);

/*
** _zorcontrolUdbDefaultIxfVargraph, _zorcontrolUdbDefaultIxfDbclob
**   VARGRAPHIC, LONG VARGRAPHIC (16-bit) and DBCLOB (32-bit) as IXF: the
**   count of double-byte characters, then the characters of the text
**   converted to usSourceCCSID; the length covers both.  No default when the
**   text cannot be converted.
*/
void _zorcontrolUdbDefaultIxfVargraph(zorucoreData *pcore, const ochar *pcharDefault, uint16_t usSourceCCSID);
void _zorcontrolUdbDefaultIxfDbclob(zorucoreData *pcore, const ochar *pcharDefault, uint16_t usSourceCCSID);

#endif
