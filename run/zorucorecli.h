/*
** zorucorecli.h
**   DEL column converters for rows fetched through DB2 CLI (source keys
**   with 0xD000), for the columns whose CLI form differs from a DB2
**   record's: VARCHAR, LONG VARCHAR, CLOB and BLOB in a variable part, and
**   DATE, TIME and TIMESTAMP as character strings.  Numbers and CHAR are
**   served by the converters of run/zorucoredel.h and run/zorucorechar.h.
**   Also the two readers of CLI values that the IXF converters share.
**
**   CLI row: an 8-byte header whose bytes 6-7 hold the fixed-part length,
**   then the row data; per column at its record offset (integers
**   little-endian):
**     numbers, CHAR     the value as in a DB2 record, then an i32 indicator
**                       (negative: null)
**     VARCHAR, LONG     12-byte slot: i32 offset of the bytes from the row
**     VARCHAR, CLOB,      data, i32 maximum length (VARCHAR only), i32 byte
**     BLOB                length, or negative: null.  With a LOB file the
**                         bytes are the file reference or location
**                         specifier, and the LOB's length follows them as
**                         an i32
**     DATE              "YYYY-MM-DD", TIME "HH.MM.SS", TIMESTAMP
**                       "YYYY-MM-DD-HH.MM.SS.NNNNNN", then the indicator;
**                       the definition's length is the text length
**
**   Dates, times and timestamps are written in the column's DEL format (the
**   low byte of the target key) by the same routines as values read from
**   table spaces: the CLI text is first packed into DB2's own form.
*/
#ifndef ZAV_RUN_ZORUCORECLI_H
#define ZAV_RUN_ZORUCORECLI_H

#include <cstdint>

#include "model/oconvert.h"
#include "model/orow.h"
#include "run/zorucore.h"

struct zorucoreCol;

/* Size of a CLI variable-column slot, and of what the null test takes as its value. */
#define ZORUCORE_CLI_SLOT_SIZE   12
#define ZORUCORE_CLI_SLOT_VALUE  8

/*
** _zorucoreCliBytes
**   The bytes of the current source column's CLI slot: *ppucBytes and
**   *pilLength from the slot's offset and length words.
**   Returns 0, or ZORUCORE_RC_BADVALUE when the slot or the bytes do not lie
**   inside the record data, or the length is negative.
*/
int _zorucoreCliBytes(const zorucoreCol *pcol, const unsigned char **ppucBytes, int32_t *pilLength);

/*
** _zorucoreCliPack
**   Packs the CLI text of a DATE (iType 10: 4 bytes), TIME (11: 3 bytes)
**   or TIMESTAMP (12: 10 bytes) of ilText bytes into DB2's packed form at
**   pucPacked, two digits per byte.
**   Returns the packed size, or -1 when the text is shorter than its form
**   or a digit place holds no decimal digit.
*/
int _zorucoreCliPack(int iType, const unsigned char *pucText, int32_t ilText, unsigned char *pucPacked);

/*
** _zorucorePackedDateTime
**   Writes a DATE, TIME or TIMESTAMP value (iType 10, 11 or 12) given in
**   DB2's packed form (iSize bytes) at pcOut through the DEL date/time
**   converter func (run/zorucoredate.h), as that converter writes it for a
**   column of the target row's current definition, with the core data's
**   flags less ulClear (ZORUCORE_FLAG_SEP is always cleared: the caller has
**   written the separator).  Nothing of the two rows changes; *ppcEnd gets
**   the position after the text.
**   Returns 0 or the converter's code.
*/
int _zorucorePackedDateTime(oconvertFunc func, int iType, const unsigned char *pucPacked, int iSize,
                            const orow *prowTarget, uint32_t ulClear, char *pcOut, char **ppcEnd);

int _zorucore_VarcharN2DelimitedSelectDB2(orow *prowSource, orow *prowTarget);
int _zorucore_VarcharN2DelimitedConvertSelectDB2(orow *prowSource, orow *prowTarget);
int _zorucore_LongvarcharN2DelimitedSelectDB2(orow *prowSource, orow *prowTarget);
int _zorucore_LongvarcharN2DelimitedConvertSelectDB2(orow *prowSource, orow *prowTarget);
/* CLOB and BLOB held in the row: at most 32700 bytes. */
int _zorucore_ClobN2DelimitedSelectDB2(orow *prowSource, orow *prowTarget);
int _zorucore_BlobN2DelimitedSelectDB2(orow *prowSource, orow *prowTarget);
/*
** At most 32700 bytes of the CLOB are converted and at most 32700 bytes of
** output kept; both cuts fall between characters.
*/
int _zorucore_ClobN2DelimitedConvertSelectDB2(orow *prowSource, orow *prowTarget);
/*
** Doubled delimiters: the same texts with every delimiter byte written
** twice; the 32700-byte cuts of CLOB and BLOB apply to the value, before
** the delimiters are doubled.
*/
int _zorucore_VarcharN2DelimitedDDSelectDB2(orow *prowSource, orow *prowTarget);
int _zorucore_VarcharN2DelimitedConvertDDSelectDB2(orow *prowSource, orow *prowTarget);
int _zorucore_LongvarcharN2DelimitedDDSelectDB2(orow *prowSource, orow *prowTarget);
int _zorucore_LongvarcharN2DelimitedConvertDDSelectDB2(orow *prowSource, orow *prowTarget);
int _zorucore_ClobN2DelimitedDDSelectDB2(orow *prowSource, orow *prowTarget);
int _zorucore_BlobN2DelimitedDDSelectDB2(orow *prowSource, orow *prowTarget);
int _zorucore_ClobN2DelimitedConvertDDSelectDB2(orow *prowSource, orow *prowTarget);
int _zorucore_DateN2DelimitedSelectDB2(orow *prowSource, orow *prowTarget);
int _zorucore_TimeN2DelimitedSelectDB2(orow *prowSource, orow *prowTarget);
int _zorucore_TimestampN2DelimitedSelectDB2(orow *prowSource, orow *prowTarget);

#endif
