/*
** zorucoreixf.h
**   IXF column converters: they write the values of IXF data (D) records in
**   binary form, a 2-byte null indicator first for nullable columns (0x00
**   0x00 not null, 0xFF 0xFF null), then the value in its IXF layout.  Rows
**   read from table spaces and rows fetched through CLI (source keys with
**   0xD000) are served; the numeric and CHAR converters serve both.  The
**   D-record header and end columns are run/ixf.h's; the converters are
**   chosen through the conversion table of run/zorucore.cpp.
**
**   Layout of a value in the D record (integers little-endian):
**     SMALLINT 2, INTEGER 4, BIGINT 8, REAL 4, DOUBLE 8  the record's bytes
**     DECIMAL           precision / 2 + 1 packed bytes
**     CHAR, GRAPHIC     length bytes, 2 x length bytes
**     VARCHAR           i16 byte length, bytes, zeros: 2 + maximum bytes
**     VARGRAPHIC        i16 length in characters, bytes, zeros: 2 + 2 x maximum
**     LONG VARCHAR      i16 byte length, bytes
**     LONG VARGRAPHIC   i16 length in characters, bytes
**     DATE, TIME,       the core data's template with the value's digit
**     TIMESTAMP           groups at its positions (template length)
**     LOB held          i32 byte length, bytes (at most 32700)
**     LOB file ref      268 bytes: i32 name length (without a closing zero
**                         byte, however the name was read), i32 LOB
**                         length, i32 2, the name, zeros
**     location          255 bytes: the text, zeros
**       specifier
**
**   Every field has its full width: the value bytes of a null and the
**   unused rest of a field are written as zeros, so that a row never
**   carries bytes of an earlier one and the positions that the C records
**   give stay right.  A value that does not fit its field (a VARCHAR longer
**   than its maximum, a name longer than the file-reference field), a slot
**   or descriptor outside the record, or a full output buffer ends the row
**   with one of the ZORUCORE_RC_* codes of run/zorucoredel.h (the caller
**   drops the row) instead of writing a corrupted D record.
**
**   Converters run in one thread of the writer process or of the CLI
**   SELECT child and keep no state.
*/
#ifndef ZAV_RUN_ZORUCOREIXF_H
#define ZAV_RUN_ZORUCOREIXF_H

#include <cstdint>

#include "model/orow.h"
#include "run/zorucore.h"

/* Widths of the LOB file-reference and location-specifier fields. */
#define ZORUCORE_IXF_LOBFILE_SIZE 268
#define ZORUCORE_IXF_LLS_SIZE     255
/* Largest LOB part written inline. */
#define ZORUCORE_LOB_INLINE_MAX   32700

/*
** _zorucoreNullIxf
**   The null step of the IXF converters for the value of ilSize bytes at
**   pucValue (the current source column; the null test is
**   _zorucoreNullState's).  Not nullable and inside the record: writes
**   nothing, returns 0.  Nullable, not null: writes 0x00 0x00 at pcOut, the
**   target cursor follows it, returns 0.  Null, or nullable and beyond the
**   record's fixed part: writes 0xFF 0xFF, the cursor follows it, both
**   current columns advance, returns 1.  Not nullable and beyond the fixed
**   part: writes the null/default text (the default's IXF bytes), the
**   cursor follows it, both columns advance, returns 1.
**   Returns 0, 1, ZORUCORE_RC_BADVALUE (indicator outside the record) or
**   ZORUCORE_RC_NOROOM.
*/
int _zorucoreNullIxf(zorucoreData *pcore, orow *prowSource, orow *prowTarget, char *pcOut,
                     const unsigned char *pucValue, int32_t ilSize);

/* Rows read from table spaces (N: nullable source). */
int _zorucore_Smallint2Ixf(orow *prowSource, orow *prowTarget);
int _zorucore_SmallintN2Ixf(orow *prowSource, orow *prowTarget);
int _zorucore_Integer2Ixf(orow *prowSource, orow *prowTarget);
int _zorucore_IntegerN2Ixf(orow *prowSource, orow *prowTarget);
int _zorucore_Bigint2Ixf(orow *prowSource, orow *prowTarget);
int _zorucore_BigintN2Ixf(orow *prowSource, orow *prowTarget);
int _zorucore_Real2Ixf(orow *prowSource, orow *prowTarget);
int _zorucore_RealN2Ixf(orow *prowSource, orow *prowTarget);
int _zorucore_Double2Ixf(orow *prowSource, orow *prowTarget);
int _zorucore_DoubleN2Ixf(orow *prowSource, orow *prowTarget);
int _zorucore_Decimal2Ixf(orow *prowSource, orow *prowTarget);
int _zorucore_DecimalN2Ixf(orow *prowSource, orow *prowTarget);
int _zorucore_Char2Ixf(orow *prowSource, orow *prowTarget);
int _zorucore_CharN2Ixf(orow *prowSource, orow *prowTarget);
int _zorucore_Varchar2Ixf(orow *prowSource, orow *prowTarget);
int _zorucore_VarcharN2Ixf(orow *prowSource, orow *prowTarget);
int _zorucore_Longvarchar2Ixf(orow *prowSource, orow *prowTarget);
int _zorucore_LongvarcharN2Ixf(orow *prowSource, orow *prowTarget);
int _zorucore_Graphic2Ixf(orow *prowSource, orow *prowTarget);
int _zorucore_GraphicN2Ixf(orow *prowSource, orow *prowTarget);
int _zorucore_Vargraphic2Ixf(orow *prowSource, orow *prowTarget);
int _zorucore_VargraphicN2Ixf(orow *prowSource, orow *prowTarget);
int _zorucore_Longvargraphic2Ixf(orow *prowSource, orow *prowTarget);
int _zorucore_LongvargraphicN2Ixf(orow *prowSource, orow *prowTarget);
int _zorucore_Date2Ixf(orow *prowSource, orow *prowTarget);
int _zorucore_DateN2Ixf(orow *prowSource, orow *prowTarget);
int _zorucore_Time2Ixf(orow *prowSource, orow *prowTarget);
int _zorucore_TimeN2Ixf(orow *prowSource, orow *prowTarget);
int _zorucore_Timestamp2Ixf(orow *prowSource, orow *prowTarget);
int _zorucore_TimestampN2Ixf(orow *prowSource, orow *prowTarget);
/* LOBs held in the record: i32 length, bytes. */
int _zorucore_Blob2Ixf(orow *prowSource, orow *prowTarget);
int _zorucore_BlobN2Ixf(orow *prowSource, orow *prowTarget);
int _zorucore_Clob2Ixf(orow *prowSource, orow *prowTarget);
int _zorucore_ClobN2Ixf(orow *prowSource, orow *prowTarget);
int _zorucore_Dbclob2Ixf(orow *prowSource, orow *prowTarget);
int _zorucore_DbclobN2Ixf(orow *prowSource, orow *prowTarget);
/* LOBs in a LOB file: the 268-byte file reference. */
int _zorucore_Blob2IxfLobinfile(orow *prowSource, orow *prowTarget);
int _zorucore_BlobN2IxfLobinfile(orow *prowSource, orow *prowTarget);
int _zorucore_Clob2IxfLobinfile(orow *prowSource, orow *prowTarget);
int _zorucore_ClobN2IxfLobinfile(orow *prowSource, orow *prowTarget);
int _zorucore_Dbclob2IxfLobinfile(orow *prowSource, orow *prowTarget);
int _zorucore_DbclobN2IxfLobinfile(orow *prowSource, orow *prowTarget);
/* Nullable LOBs with location specifiers: the 255-byte field. */
int _zorucore_BlobN2IxfLobinfileLLS(orow *prowSource, orow *prowTarget);
int _zorucore_ClobN2IxfLobinfileLLS(orow *prowSource, orow *prowTarget);
int _zorucore_DbclobN2IxfLobinfileLLS(orow *prowSource, orow *prowTarget);

/*
** Rows fetched through CLI (run/zorucorecli.h gives their layout).  A null
** file reference is 0xFF 0xFF and 268 zero bytes, a null location
** specifier 0xFF 0xFF and 255 zero bytes.  A file reference holds the
** name's length (the slot's length word), the LOB length (the i32 stored
** right after the name), 2, the name zero-padded to 255 bytes, a zero byte.
*/
int _zorucore_VarcharN2IxfSelectDB2(orow *prowSource, orow *prowTarget);
int _zorucore_LongvarcharN2IxfSelectDB2(orow *prowSource, orow *prowTarget);
int _zorucore_DateN2IxfSelectDB2(orow *prowSource, orow *prowTarget);
int _zorucore_TimeN2IxfSelectDB2(orow *prowSource, orow *prowTarget);
int _zorucore_TimestampN2IxfSelectDB2(orow *prowSource, orow *prowTarget);
int _zorucore_ClobN2IxfSelectDB2(orow *prowSource, orow *prowTarget);
int _zorucore_BlobN2IxfSelectDB2(orow *prowSource, orow *prowTarget);
int _zorucore_ClobN2IxfLobinfileSelectDB2(orow *prowSource, orow *prowTarget);
int _zorucore_BlobN2IxfLobinfileSelectDB2(orow *prowSource, orow *prowTarget);
int _zorucore_ClobN2IxfLobinfileLLSSelectDB2(orow *prowSource, orow *prowTarget);
int _zorucore_BlobN2IxfLobinfileLLSSelectDB2(orow *prowSource, orow *prowTarget);

#endif
