/*
** zorucorechar.h
**   DEL column converters, part two: CHAR, VARCHAR, LONG VARCHAR, GRAPHIC,
**   VARGRAPHIC, LONG VARGRAPHIC, BLOB, CLOB and DBCLOB read from table
**   spaces or backups (and CHAR from CLI rows).  The value is written as the
**   record holds it, or converted from the column's code page to the output
**   code page through the core data's ICU converters, optionally with every
**   delimiter character doubled; a LOB is written as the bytes the record
**   holds: its first bytes, the reference to its LOB file or its location
**   specifier.  The column frame is run/zorucoredel.h's.  The writer
**   process counts with zorucoreCountCutLobs the LOBs that a reader cut to
**   their first 32700 bytes in a record it flagged (storage/ficdata.h).
**
**   Where the value lies (offsets from the record data, checked against the
**   record before use):
**     CHAR        length bytes at the record offset; GRAPHIC 2 x length
**     VARCHAR,    4-byte slot: u16 offset of the bytes, u16 byte length
**     VARGRAPHIC
**     LONG ...    slot's first u16: offset of the long-field descriptor;
**                 descriptor +0 i32 byte length, +8 i32 offset of the bytes
**     LOBs        slot's first u16: offset of the LOB descriptor;
**                 descriptor +8 i32 whole length of the LOB, +12 i32
**                 length held, +56 i32 offset of the bytes
**   Integers in records are little-endian.
**
**   A LOB file reference or location specifier that the reader stored with
**   its terminating zero byte is written without that byte.
*/
#ifndef ZAV_RUN_ZORUCORECHAR_H
#define ZAV_RUN_ZORUCORECHAR_H

#include <cstdint>

#include "model/orow.h"
#include "run/zorucore.h"

/* Offsets inside the long-field and LOB descriptors. */
#define ZORUCORE_LF_LENGTH    0
#define ZORUCORE_LF_OFFSET    8
#define ZORUCORE_LF_SIZE      12
#define ZORUCORE_LOB_FULL     8
#define ZORUCORE_LOB_LENGTH   12
#define ZORUCORE_LOB_OFFSET   56
#define ZORUCORE_LOB_SIZE     60

/*
** zorucoreCountCutLobs
**   The number of BLOB, CLOB and DBCLOB values of the unload record in
**   prowSource's buffer (8-byte header, bytes 6-7 the fixed-part length)
**   whose descriptor gives a whole length above the length held: the
**   values a reader cut to their first 32700 bytes.  Null columns, columns
**   beyond the fixed part, CLI columns and slots or descriptors outside the
**   record count nothing.
**   REQUIRES: the record's header carries FICDATA_UREC_CUT: a LOB written to
**   a LOB file holds its file name, which is shorter than the LOB too.
**   Returns the count (0 without a row or buffer).
*/
int32_t zorucoreCountCutLobs(const orow *prowSource);

/*
** zorucoreCountReplaced
**   Makes a column's converters (either may be NULL) replace what they
**   cannot convert by the substitution character, as ICU does by default,
**   and count every replacement in the calling thread's count: a byte sequence that
**   the source code page does not define (to UTF-16) and a character that
**   the output code page cannot hold (from UTF-16).
**   Returns 0, or the ICU error code when a callback cannot be set.
*/
int zorucoreCountReplaced(UConverter *pconvToUtf16, UConverter *pconvFromUtf16);

/*
** zorucoreReplacedCount
**   The characters the converters have replaced so far in the calling
**   thread.  A forked child starts from its parent's count: the caller
**   takes the difference around the conversions it counts.
*/
int64_t zorucoreReplacedCount(void);

/*
** UCORE_CONVERT
**   Converts ilCount source bytes through UTF-16 (the work buffer) into the
**   output code page at pcOut: source -> UTF-16 with the to-UTF-16
**   converter, or, without one (source CCSID 1202), by taking each byte pair
**   high byte first; UTF-16 -> output with the from-UTF-16 converter, or,
**   without one (target CCSID 1200), as 16-bit units low byte first.
**   ilRoom: bytes available at pcOut.
**   Returns the number of bytes written (>= 0); -1 when ICU fails, the work
**   buffer is missing or too small for the text (ICU errors are traced);
**   -2 when the output does not fit in ilRoom bytes.
*/
int32_t UCORE_CONVERT(zorucoreData *pcore, int32_t ilCount, const unsigned char *pucSource, char *pcOut,
                      int64_t ilRoom);

/*
** UCORE_CONVERTDD
**   As UCORE_CONVERT, with every output byte (or, without a from-UTF-16
**   converter, 16-bit unit) equal to the delimiter character written twice.
**   Returns the bytes written, or -1 or -2 as above.
*/
int32_t UCORE_CONVERTDD(zorucoreData *pcore, int32_t ilCount, const unsigned char *pucSource, char *pcOut,
                        int64_t ilRoom);

/*
** _zorucoreDoubleDelim
**   Doubles, in place, every byte equal to cDelim among the ilLength bytes
**   at pcText, which has room for ilRoom bytes.
**   Returns the new length, or -2 when the doubled text does not fit (the
**   bytes are then unchanged).
*/
int32_t _zorucoreDoubleDelim(char *pcText, int32_t ilLength, char cDelim, int64_t ilRoom);

/* Characters: the bytes; Convert: converted text; DD: delimiters doubled. */
int _zorucore_Char2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_CharN2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_Varchar2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_VarcharN2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_Longvarchar2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_LongvarcharN2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_Char2DelimitedConvert(orow *prowSource, orow *prowTarget);
int _zorucore_CharN2DelimitedConvert(orow *prowSource, orow *prowTarget);
int _zorucore_Varchar2DelimitedConvert(orow *prowSource, orow *prowTarget);
int _zorucore_VarcharN2DelimitedConvert(orow *prowSource, orow *prowTarget);
int _zorucore_Longvarchar2DelimitedConvert(orow *prowSource, orow *prowTarget);
int _zorucore_LongvarcharN2DelimitedConvert(orow *prowSource, orow *prowTarget);
int _zorucore_Char2DelimitedDD(orow *prowSource, orow *prowTarget);
int _zorucore_Varchar2DelimitedDD(orow *prowSource, orow *prowTarget);
int _zorucore_Longvarchar2DelimitedDD(orow *prowSource, orow *prowTarget);
int _zorucore_Char2DelimitedConvertDD(orow *prowSource, orow *prowTarget);
int _zorucore_Varchar2DelimitedConvertDD(orow *prowSource, orow *prowTarget);
int _zorucore_Longvarchar2DelimitedConvertDD(orow *prowSource, orow *prowTarget);

/* Graphics. */
int _zorucore_Graphic2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_GraphicN2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_Vargraphic2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_VargraphicN2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_Longvargraphic2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_LongvargraphicN2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_Graphic2DelimitedConvert(orow *prowSource, orow *prowTarget);
int _zorucore_GraphicN2DelimitedConvert(orow *prowSource, orow *prowTarget);
int _zorucore_Vargraphic2DelimitedConvert(orow *prowSource, orow *prowTarget);
int _zorucore_VargraphicN2DelimitedConvert(orow *prowSource, orow *prowTarget);
int _zorucore_Longvargraphic2DelimitedConvert(orow *prowSource, orow *prowTarget);
int _zorucore_LongvargraphicN2DelimitedConvert(orow *prowSource, orow *prowTarget);
/* Converted graphics with delimiters doubled (nullable and not). */
int _zorucore_Graphic2DelimitedConvertDD(orow *prowSource, orow *prowTarget);
int _zorucore_Vargraphic2DelimitedConvertDD(orow *prowSource, orow *prowTarget);
int _zorucore_Longvargraphic2DelimitedConvertDD(orow *prowSource, orow *prowTarget);

/* LOBs: the bytes held (first bytes, file reference or location specifier). */
int _zorucore_Blob2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_BlobN2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_Blob2DelimitedDD(orow *prowSource, orow *prowTarget);
int _zorucore_Clob2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_ClobN2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_Clob2DelimitedDD(orow *prowSource, orow *prowTarget);
int _zorucore_Clob2DelimitedConvert(orow *prowSource, orow *prowTarget);
int _zorucore_ClobN2DelimitedConvert(orow *prowSource, orow *prowTarget);
int _zorucore_Clob2DelimitedConvertDD(orow *prowSource, orow *prowTarget);
int _zorucore_Dbclob2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_DbclobN2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_Dbclob2DelimitedConvert(orow *prowSource, orow *prowTarget);
int _zorucore_DbclobN2DelimitedConvert(orow *prowSource, orow *prowTarget);
int _zorucore_Dbclob2DelimitedConvertDD(orow *prowSource, orow *prowTarget);
/* Nullable LOBs with location specifiers: the location specifier; a null LOB is a null (an empty field). */
int _zorucore_BlobLlsN2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_ClobLlsN2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_DbclobLlsN2Delimited(orow *prowSource, orow *prowTarget);

#endif
