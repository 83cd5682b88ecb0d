/*
** sysibmbackup.h
**   The catalogue of a database read from a backup image: the rows of
**   SYSTABLESPACES, SYSTABLES and SYSCOLUMNS stored in the catalogue table
**   space (SYSCATSPACE, table-space id 0) are read page by page through
**   table-space objects over the image (storage/zorts.h), decoded with the
**   table description of each catalogue table, and built into the same
**   chain the CLI path makes: SYSTABLESPACE records holding their SYSTABLES
**   records holding their SYSCOLUMNS records (model/osysibm.h).  Only the
**   fields a backup holds are filled; every record is allocated zeroed and
**   keeps table id, chain count and owner 0, like the CLI records, so the
**   returned chain and its records live until the process ends.
**
**   Called by the control step of the main process; one thread.  Trace
**   keyword "$SYSIBM".
**
**   CATALOGUE TABLES READ (object ids within SYSCATSPACE)
**     catalogue table space   SYSCOLUMNS  SYSTABLES  SYSTABLESPACES v7 / v8
**     SMS (type 1)                 3          2            27 / 29
**     DMS (type 2)                 6          5           264 / 266
**
**   ROW DECODING: the row starts 8 bytes into the record; the column of
**   ordinal k lies at row + offset of column k in the table description.
**   A fixed column is read at its width; a varying column holds an i16
**   offset (from the row start) and an i16 length, then, when nullable, a
**   null byte (not 0 = NULL).  A column at or past the record's fixed-part
**   length, or beyond the description, is absent: its field stays empty.
**   A row whose fixed part, a column, or a varying value lies outside the
**   record is damaged and gives no record.
**
**   A catalogue of the image is used whole or not at all: a catalogue table
**   whose pages, slots or rows cannot all be read (a page that cannot be had
**   or carries another page number, a damaged slot directory, slot or row,
**   pages that end before the table's page count), or a table whose column
**   records do not add up to the column count of its table record, fails
**   the load, and the request with it.  The table descriptor a pointer of
**   page 0 names is no row; value-compressed rows are expanded and read.
*/
#ifndef ZAV_CATALOG_SYSIBMBACKUP_H
#define ZAV_CATALOG_SYSIBMBACKUP_H

#include <cstdint>

#include "common/oreason.h"
#include "model/osysibm.h"

struct zorbk;
struct zorts;

/* Object ids of the catalogue tables within SYSCATSPACE. */
#define SYSIBMBK_SMS_SYSCOLUMNS        3
#define SYSIBMBK_SMS_SYSTABLES         2
#define SYSIBMBK_SMS_SYSTABLESPACES_V7 27
#define SYSIBMBK_SMS_SYSTABLESPACES_V8 29
#define SYSIBMBK_DMS_SYSCOLUMNS        6
#define SYSIBMBK_DMS_SYSTABLES         5
#define SYSIBMBK_DMS_SYSTABLESPACES_V7 264
#define SYSIBMBK_DMS_SYSTABLESPACES_V8 266

/* Column ordinals of SYSTABLES. */
#define SYSIBMBK_TB_NAME          0
#define SYSIBMBK_TB_CREATOR       1
#define SYSIBMBK_TB_TYPE          2
#define SYSIBMBK_TB_CREATEDTS     3
#define SYSIBMBK_TB_COLCOUNT      7
#define SYSIBMBK_TB_OBID          8
#define SYSIBMBK_TB_TID           9
#define SYSIBMBK_TB_NPAGES        10
#define SYSIBMBK_TB_FPAGES        11
#define SYSIBMBK_TB_BASE_NAME     20
#define SYSIBMBK_TB_BASE_SCHEMA   21
#define SYSIBMBK_TB_TSNAME        22
#define SYSIBMBK_TB_INDEX_TBSPACE 23
#define SYSIBMBK_TB_LONG_TBSPACE  24
#define SYSIBMBK_TB_DEFINER       29
#define SYSIBMBK_TB_PMAP_ID       34

/* Column ordinals of SYSCOLUMNS. */
#define SYSIBMBK_COL_NAME               0
#define SYSIBMBK_COL_TBNAME             1
#define SYSIBMBK_COL_TBCREATOR          2
#define SYSIBMBK_COL_COLTYPE            4
#define SYSIBMBK_COL_NULLS              5
#define SYSIBMBK_COL_CODEPAGE           6
#define SYSIBMBK_COL_DBCSCODEPG         7
#define SYSIBMBK_COL_LENGTH             8
#define SYSIBMBK_COL_SCALE              9
#define SYSIBMBK_COL_COLNO              10
#define SYSIBMBK_COL_DEFAULTVALUE       18
#define SYSIBMBK_COL_LENGTH2            19
#define SYSIBMBK_COL_LOGGED             20
#define SYSIBMBK_COL_COMPACT            21
#define SYSIBMBK_COL_COMPOSITE_CODEPAGE 24

/* Column ordinals of SYSTABLESPACES. */
#define SYSIBMBK_TS_NAME          0
#define SYSIBMBK_TS_CREATOR       1
#define SYSIBMBK_TS_OBID          3
#define SYSIBMBK_TS_TBSPACETYPE   4
#define SYSIBMBK_TS_DATATYPE      5
#define SYSIBMBK_TS_EXTENTSIZE    6
#define SYSIBMBK_TS_PREFETCHSIZE  7
#define SYSIBMBK_TS_NGNAME        11
#define SYSIBMBK_TS_BUFFERPOOLID  12
#define SYSIBMBK_TS_PAGESIZE      13
#define SYSIBMBK_TS_DROP_RECOVERY 14

/* Reason codes (the module of the catalogue readers). */
#define SYSIBMBK_RC_DAMAGED ORC_MAKE(0x118, 2, 0x045)   /* a page, slot or row of a catalogue table is damaged */
#define SYSIBMBK_RC_COLUMNS ORC_MAKE(0x118, 2, 0x046)   /* a table's column records do not add up to its count */

/* CCSID of the CREATEDTS bytes of a table (binary). */
#define SYSIBMBK_CCSID_BINARY 0xFFFF

/*
** sysibmLoadCatalogFromBackup
**   Reads SYSCOLUMNS, SYSTABLES and SYSTABLESPACES of the image's
**   catalogue table space, merges the columns into their tables and the
**   tables into their table spaces, and frees the rows that found no owner.
**   Every SYSTABLESPACES row is taken (SYSCATSPACE and temporary table
**   spaces too), and tables of every type; each table space gets a copy of
**   the image's database alias as DBNAME.
**   Returns the chain of SYSTABLESPACE records (table id 17 on the chain),
**   possibly empty; NULL with *prc 0 when the image holds no catalogue table
**   space (its type is neither SMS nor DMS: trace "Unknown Catalog Type :
**   %i"); NULL with a code in *prc when the catalogue cannot be read whole:
**   the code of the table-space object or of the reading of a catalogue
**   table (ZORU428E names the table and the page: ZORTS_RC_READ ...,
**   SYSIBMBK_RC_DAMAGED), SYSIBMBK_RC_COLUMNS after ZORU435E, ORC_NOMEM.  A
**   part of the catalogue is never used: whatever was built is released
**   when NULL is returned.
*/
ochaine *sysibmLoadCatalogFromBackup(zorbk *pzorbk, int *prc = nullptr);

/*
** Loaders: read every page of the object's table through its read-next
** slot and append to pchaine (or to a new chain when it is NULL: item size
** of the table's record, the table id in its data word, destroy callback
** osysibmChaineDestroyProc) one record per data row (kind 0 or 4, format 1,
** or format 2 expanded first) that the builder accepts; the slots with a
** fixed role (object page 0 slots 0-3, slot 0 of every non-zero multiple
** of 500, the descriptor a pointer of slot 3 names) are passed over, since
** their header bytes may look like a row.  Reading ends at the first page,
** slot or row that cannot be read whole.
**   Return the chain, or NULL when no chain could be made (*prc ORC_NOMEM).
**   *prc: 0 when the table's pages were read to their end, else, after
**   ZORU428E naming the table and the object page that could not be had or
**   holds the damage, the read code of the source (ZORTS_RC_READ when the
**   pages end before the table's page count), SYSIBMBK_RC_DAMAGED for a
**   damaged page, slot or row, or ORC_NOMEM; the records read so far are
**   kept, for the caller to release.
**   ilFilter: a TID for sysibmLoadSystable (-1: every row); not used by the
**   other two loaders.
*/
ochaine *sysibmLoadSyscolumns(zorts *pzorts, int32_t ilFilter, ochaine *pchaine, int *prc);
ochaine *sysibmLoadSystable(zorts *pzorts, int32_t ilFilter, ochaine *pchaine, int *prc);
ochaine *sysibmLoadSystablespaces(zorts *pzorts, int32_t ilFilter, const ochar *pcharAlias, ochaine *pchaine,
                                  int *prc);

/*
** Builders: a new zeroed record filled from the format-1 record pcRecord
** of ilLength bytes of the object's table, with strings in the object's
** CCSID.  _sysibmCreateSysTableFromRecord gives none when ilFilter is not
** negative and the row's TID differs from it; _sysibmCreateSysColumnsFromRecord
** ignores ilFilter.  The table space gets a copy of pcharAlias as DBNAME.
**   Return the record, or NULL for a damaged row (*prc FICDATA_RC_CORRUPT),
**   a row filtered out (*prc 0), or no memory for the record (*prc
**   ORC_NOMEM); prc may be NULL.  A string that cannot be made stays NULL.
*/
osysibmSyscolumns *_sysibmCreateSysColumnsFromRecord(zorts *pzorts, int32_t ilFilter,
                                                     const unsigned char *pcRecord, int32_t ilLength,
                                                     int *prc = nullptr);
osysibmSystables *_sysibmCreateSysTableFromRecord(zorts *pzorts, int32_t ilFilter, const unsigned char *pcRecord,
                                                  int32_t ilLength, int *prc = nullptr);
osysibmSystablespace *_sysibmCreateSysTablespaceFromRecord(zorts *pzorts, int32_t ilFilter, const ochar *pcharAlias,
                                                           const unsigned char *pcRecord, int32_t ilLength,
                                                           int *prc = nullptr);

/*
** _sysibmMergeTableColumn
**   Moves each column of pchaineColumns, in chain order, to the SYSCOLUMNS
**   chain of the table whose NAME and CREATOR equal its TBNAME and
**   TBCREATOR (blank-padded comparison); the search starts at the table of
**   the previous column, goes on down the chain and then wraps round.  A
**   table's chain is created at its first column.  Columns without a table
**   stay in pchaineColumns; so do all of them when a chain cannot be made.
*/
void _sysibmMergeTableColumn(ochaine *pchaineTables, ochaine *pchaineColumns);

/*
** _sysibmMergeTSTable
**   The same walk moving each table of pchaineTables to the SYSTABLES
**   chain of the table space whose OBID equals the table's TID.
*/
void _sysibmMergeTSTable(ochaine *pchaineTbs, ochaine *pchaineTables);

#endif
