/*
** ixf.h
**   The IXF file: header records and the framing of data records.  For a
**   SELECT written as IXF the control step calls, in the main process and
**   once per SELECT, after the output-column tasks are made, sorted and
**   given their target keys and before their core data are made:
**     ixfWriteHeader    composes the H, T and C records into one string
**                       (CCSID 850, zero-terminated) and stores it on the
**                       SELECT as the HEADER_IXF atom; every writer of the
**                       SELECT writes it once, at the start of its first file;
**     ixfAddVirtualCol  inserts the virtual output columns (tasks named
**                       ECSTASK) that open and close each data (D) record,
**                       so that the row converter frames every row by itself
**                       through _zorucore_Ixf_Row_Header and
**                       _zorucore_Ixf_Row_End.
**   The header and the virtual columns live with the task tree until exit
**   and reach the writers as copies made by fork.
**
**   File layout.  Records follow one another without separators; each one
**   starts with a 6-digit length that counts the bytes after it, then the
**   record type letter.  Numbers are ASCII decimal with leading zeros at the
**   exact width of their field; every byte is written as it stands, without
**   code-page conversion.  No A record is written.
**
**   H record (57 bytes)
**     OFFSET SIZE  CONTENT
**        0     6   "000051"
**        6     1   "H"
**        7     3   "IXF"
**       10     4   "0002"
**       14    12   "DB2    02.00"
**       26     8   date of the header build, local time, YYYYMMDD
**       34     6   time of the header build, HHMMSS
**       40     5   heading records: output columns + 2
**       45     5   single-byte code page: first CCSID of the SELECT's triple
**       50     5   double-byte code page: from the third CCSID (see ixf.cpp);
**                  "00000" when the database is single-byte (its mixed
**                  CCSID is a single-byte one), as DB2's own files say
**       55     2   blanks
**
**   T record (1610 bytes)
**        0     6   "001604"
**        6     1   "T"
**        7     3   byte length of TBNAME
**       10   256   TBNAME, blank-padded
**      266     3   byte length of TBQUALIFIER, "000" without one
**      269   256   TBQUALIFIER, blank-padded (all blanks without one)
**      525    12   "ZAV UNLOAD  "
**      537     1   "C"            data convention
**      538     1   "M"            data format
**      539     5   "PC   "        machine format
**      544     1   "I"            data location
**      545     5   output columns
**      550     2   blanks
**      552    30   blanks         table description
**      582   257   zero bytes     primary key name
**      839   257   zero bytes     data table space
**     1096   257   zero bytes     index table space
**     1353   257   zero bytes     long table space
**
**   C record (878 bytes), one per output column, from its COL column
**        0     6   "000872"
**        6     1   "C"
**        7     3   byte length of the column name
**       10   256   column name, blank-padded
**      266     1   "Y" nullable (flag 0x400), else "N"
**      267     1   "Y" when the column has a default value, else "N": the
**                  catalogue's DEFAULT text, whichever way the table is read
**      268     1   "Y"            selected
**      269     2   "N", zero byte position in the primary key
**      271     1   "R"            data class
**      272     3   SQL type                          (type table, ixf.cpp)
**      275     5   single-byte code page             (_ixfFillCcsid)
**      280     5   double-byte code page             (_ixfFillCcsid)
**      285     5   column length                     (type table)
**      290     3   D-record number, from 1
**      293     6   position of the value in its D record, from 1
**      299    30   blanks         column description
**      329    20   LOB in a file or location specifier: its declared length
**                  (the subtype; the catalogue's, or DB2's description);
**                  every other column "0" x 20
**      349     3   "000"          user type name length
**      352   256   "0" x 256      user type name
**      608     3   byte length of the default value, "000" without one
**      611   254   default value, padded with "0"
**      865    10   "0" x 10
**      875     1   "0"
**      876     2   "00"
**
**   D record (one fragment of a row)
**        0     6   bytes after this field, filled in when the record closes
**        6     1   "D"
**        7     3   D-record number of the fragment
**       10     4   blanks
**       14   ...   column values; the column whose C record gives position
**                  p starts at offset 13 + p (a nullable one with its 2-byte
**                  null indicator)
**
**   A value that does not fit its field is never cut: the header is not
**   built and the caller gets an error after a message.
*/
#ifndef ZAV_RUN_IXF_H
#define ZAV_RUN_IXF_H

#include <cstdint>

#include "common/oreason.h"

struct ochar;
struct orow;
struct zorcol;
struct zortask;

/* Record sizes, length field included. */
#define IXF_H_RECORD_SIZE 57
#define IXF_T_RECORD_SIZE 1610
#define IXF_C_RECORD_SIZE 878
#define IXF_D_HEADER_SIZE 14     /* length field, "D", number, four blanks */
#define IXF_D_TEXT_SIZE   8      /* header text of a D record: "D", number, blanks */
#define IXF_D_MAX_LENGTH  999999 /* largest length a D record can state */
#define IXF_D_MAX_NUMBER  999    /* largest D-record number */

/* Initial capacity of the header string. */
#define IXF_HEADER_CAPACITY 2000

/* Reason codes (converter module 0x010). */
#define IXF_RC_RECORD_TOO_LONG ORC_MAKE(0x010, 2, 0x010)  /* 0x10a010 D record over 999999 bytes: row dropped */
#define IXF_RC_FIELD           ORC_MAKE(0x010, 2, 0x011)  /* 0x10a011 a value has no IXF field that holds it */

/*
** ixfWriteHeader
**   Builds the H record, the T record and one C record per output-column
**   task of the SELECT in chain order into a new string of CCSID 850,
**   zero-terminated (the zero not counted), and adds it to the SELECT as
**   the string atom HEADER_IXF.  Reads CCSID, TBNAME and TBQUALIFIER through
**   the owner chain and COL from each output-column task.
**   Returns 0; IXF_RC_FIELD after ZORU440E, ZORU441E or ZORU442E when a
**   name, a default value or a number does not fit its field or a column
**   type has no IXF form; ORC_NOMEM; ORC_INVALID for a NULL task or an
**   output-column task without COL; the refusal code of zortaskAddAtom when
**   the SELECT already holds a HEADER_IXF atom.  On any failure nothing is
**   added to the SELECT.
*/
int ixfWriteHeader(zortask *ptaskSelect);

/*
** ixfAddVirtualCol
**   Inserts the virtual output columns into the SELECT's output-column
**   chain: a D-record header column before the first column, a D-record end
**   column after the last, and an end and a header column between two
**   columns where the first ends its D record (a LONG VARCHAR, LONG
**   VARGRAPHIC or LOB column, except a LOB written to a LOB file without
**   location specifier).  Each end column's core data holds, in its work
**   capacity, the chain index of the header column of its record.  Nothing
**   happens when the SELECT has no output column.
**   Returns 0; IXF_RC_FIELD after ZORU441E when a row would need more than
**   999 D records; ORC_NOMEM; ORC_INVALID for a NULL task or an output-column
**   task without COL.  On any failure the chain is left as it was.
*/
int ixfAddVirtualCol(zortask *ptaskSelect);

/*
** _ixfWriteHeaderRecord, _ixfWriteTableRecord
**   Append the H record and the T record of the SELECT to the header.
**   Return 0, IXF_RC_FIELD (after its message), or ORC_NOMEM; the header is
**   unchanged on failure.
*/
int _ixfWriteHeaderRecord(zortask *ptaskSelect, ochar *pcharHeader);
int _ixfWriteTableRecord(zortask *ptaskSelect, ochar *pcharHeader);

/*
** _ixfWriteColRecord
**   Appends the C record of one output-column task at D record *piRecord,
**   position *piPosition, then advances the two counters past the column.
**   Returns 0, IXF_RC_FIELD (after its message), ORC_NOMEM, or ORC_INVALID
**   when the task has no COL; on failure the header and the counters are
**   unchanged.
*/
int _ixfWriteColRecord(zortask *ptaskCol, ochar *pcharHeader, int *piRecord, int *piPosition);

/*
** _ixfFillCcsid
**   Appends the two 5-digit code-page fields of a C record for the column:
**   single-byte or mixed columns the single-byte code page and "00000",
**   double-byte columns "00000" and the double-byte code page, every other
**   column "00000" twice.
**   Returns 0 or ORC_NOMEM (nothing appended).
*/
int _ixfFillCcsid(const zorcol *pcol, ochar *pcharHeader);

/*
** _ixfCreateColForRecordHeader
**   A new output-column task named ECSTASK that opens D record iRecord: its
**   SOURCECOL a constant column (type 78, subtype and length 8, CCSID 850)
**   over the header text "D", the number on three digits and four blanks;
**   its COL a copy with type 0x8000; its COREDATA a new core data whose
**   constant text is a copy of the header text.
**   Returns the task (no owner yet), or NULL when memory runs out or
**   iRecord is outside 1 to 999.
*/
zortask *_ixfCreateColForRecordHeader(zortask *ptaskSelect, int iRecord);

/*
** _ixfCreateColForRecordEnd
**   A new output-column task named ECSTASK that closes a D record: its
**   SOURCECOL a constant column without value (type 77, subtype and length
**   6, CCSID 850), its COL a copy with type 0x8000, its COREDATA a new core
**   data whose work capacity holds iHeaderIndex, the chain index of the
**   header column of its record.
**   Returns the task (no owner yet), or NULL when memory runs out.
*/
zortask *_ixfCreateColForRecordEnd(zortask *ptaskSelect, int iHeaderIndex);

/*
** _zorucore_Ixf_Row_Header
**   Converter of the D-record header column (source 0x004E or 0xD04E,
**   target 0x8000): writes the core data's header text 6 bytes after the
**   target cursor, leaving the length field for the end column, stores the
**   cursor (the record start) as the data position of its own target
**   column definition, advances the cursor by 6 + the text length and both
**   current columns by one.
**   Returns 0, or OCONVERT_RC_STOPROW (nothing written) when the target
**   column has no header text or the record header does not fit the
**   target buffer.
*/
int _zorucore_Ixf_Row_Header(orow *prowSource, orow *prowTarget);

/*
** _zorucore_Ixf_Row_End
**   Converter of the D-record end column (source 0x004D or 0xD04D, target
**   0x8000): takes the record start from the header column whose target
**   index its core data holds, and writes cursor - start - 6 as six digits
**   into the record's length field; the cursor does not move; both current
**   columns advance by one.
**   Returns 0; IXF_RC_RECORD_TOO_LONG after ZORU443E when the record holds
**   more than 999999 bytes after its length field (the length field is not
**   written and the row is to be dropped); OCONVERT_RC_STOPROW (nothing
**   written) when the header column cannot be found or its record start
**   does not lie in the target buffer a whole record header before the
**   cursor.
*/
int _zorucore_Ixf_Row_End(orow *prowSource, orow *prowTarget);

#endif
