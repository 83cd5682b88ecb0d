/*
** sqlcat.h
**   The DB2 catalogue read through the Call Level Interface: one query
**   function per catalogue table (SYSIBM.SYSTABLESPACES, SYSTABLES,
**   SYSCOLUMNS) that turns each fetched row into an osysibm record of
**   model/osysibm.h and appends it to a chain, the table space and type
**   of a table, and the report of CLI diagnostics (ZORU306E), which the
**   SELECT-through-DB2 code uses as well.
**
**   Each query allocates a statement on the given connection, prepares its
**   fixed text, binds its parameters, executes, binds its result columns,
**   fetches and frees the statement.  Strings fetched become ochar objects
**   of the fetched bytes with CCSID gccsidMixed; a column that may be null
**   gives a NULL string, or -1 for a SMALLINT.  Records are allocated
**   zeroed; their catalogue table id and child-chain count stay 0 (the
**   chains carry the table id), so osysibmDestroy releases nothing of them:
**   they live in their chains until the process ends.
**
**   Every query reads all its rows or fails: a fetch that fails is reported
**   like a failed execution (ZORU020E, the diagnostics, SQLCAT_RC_EXECUTE);
**   the records appended before it stay in the chain.  A chain or record
**   argument that is NULL gives ORC_INVALID; a record that cannot be
**   allocated ends the query with ORC_NOMEM.
**
**   Trace keywords $SQLCAT and $SQLCATD.  Runs in the main process during
**   the control step, on the process's one connection; one thread.
**
**   SELECTs answered by DB2 use the functions at the end: the description of
**   their result columns (control step), the layout of the row they are
**   fetched into, the statement set-up binding every column into that row,
**   and the move of LOBs into LOB files through locators (DB2 SELECT child,
**   on the child's own connection).
*/
#ifndef ZAV_CATALOG_SQLCAT_H
#define ZAV_CATALOG_SQLCAT_H

#include "model/osysibm.h"
#include "platform/db2cli.h"

/* Reason codes (module 0x116). */
#define SQLCAT_RC_NOROW    0x1169001  /* the first fetch found no row */
#define SQLCAT_RC_ALLOC    0x116a002  /* statement handle not allocated */
#define SQLCAT_RC_PREPARE  0x116a003  /* preparing the statement failed */
#define SQLCAT_RC_EXECUTE  0x116a004  /* executing failed (success with information too) */
#define SQLCAT_RC_BIND     0x116a005  /* binding a parameter failed */
#define SQLCAT_RC_NULLTS   0x116a006  /* sqlcatGetTSFromTB: TBSPACE is null */
#define SQLCAT_RC_TWOROWS  0x116a007  /* sqlcatGetTSFromTB: more than one row */

/*
** sqlcatGetTablespaces
**   Appends to pchaine one SYSTABLESPACE record per table space that holds
**   data (DATATYPE 'A' or 'L'), SYSCATSPACE excepted.
**   Returns 0, SQLCAT_RC_NOROW after ZORU019E, SQLCAT_RC_EXECUTE after
**   ZORU020E and the diagnostics, SQLCAT_RC_ALLOC or SQLCAT_RC_PREPARE after
**   the diagnostics.
*/
int sqlcatGetTablespaces(ochaine *pchaine, SQLHDBC hdbc);

/*
** sqlcatGetTablespace
**   Appends to pchaine the SYSTABLESPACE record of the table space named by
**   pcTablespace (at most 18 bytes; any data type, SYSCATSPACE included).
**   Returns as sqlcatGetTablespaces, SQLCAT_RC_BIND as well; the messages
**   name the database and the table space joined by a point.
*/
int sqlcatGetTablespace(ochaine *pchaine, const char *pcTablespace, SQLHDBC hdbc);

/*
** sqlcatGetTables
**   Appends to the table space's SYSTABLES chain (apchaine[1], which the
**   caller has made) one record per table (TYPE 'T') whose TID is the table
**   space's OBID; each record's owner is the table space.
**   Returns 0, SQLCAT_RC_NOROW (no table, no message), SQLCAT_RC_ALLOC,
**   SQLCAT_RC_PREPARE, SQLCAT_RC_BIND or SQLCAT_RC_EXECUTE.
*/
int sqlcatGetTables(osysibmSystablespace *ptablespace, SQLHDBC hdbc);

/*
** sqlcatGetColumns
**   Appends to the table's SYSCOLUMNS chain (apchaine[0], made by the
**   caller) one record per column in COLNO order, with its internal type id
**   and its default value; each record's owner is the table.
**   Returns 0, SQLCAT_RC_NOROW after ZORU353I, SQLCAT_RC_ALLOC,
**   SQLCAT_RC_PREPARE, SQLCAT_RC_BIND or SQLCAT_RC_EXECUTE.
*/
int sqlcatGetColumns(osysibmSystables *ptable, SQLHDBC hdbc);

/*
** sqlcatGetTSFromTB
**   The table space and type of the table pcCreator.pcName (each at most
**   128 bytes).  First sets *ppcharTablespace to NULL and *pcType to a
**   blank; the first row sets the name (a new string, CCSID gccsidMixed)
**   and the type (first byte of TYPE: 'T', 'V' ...).
**   Returns 0, SQLCAT_RC_NOROW (no message), SQLCAT_RC_NULLTS (TBSPACE null:
**   no name), SQLCAT_RC_TWOROWS (the first row's answer stays) or
**   SQLCAT_RC_EXECUTE after ZORU020E and the diagnostics.
*/
int sqlcatGetTSFromTB(const char *pcCreator, const char *pcName, SQLHDBC hdbc, ochar **ppcharTablespace,
                      char *pcType);

/*
** _sqlcatGetDb2ErrorInfo
**   Reports the diagnostics of a CLI call that returned rc on the handle:
**   for SQL_ERROR, one ZORU306E per diagnostic record, in order; nothing
**   for any other code.
*/
void _sqlcatGetDb2ErrorInfo(SQLSMALLINT sHandleType, SQLHANDLE hHandle, SQLRETURN rc);


/* ------------------------------------------------- SELECT through DB2 */

struct ochar;
struct ochaine;
struct oconvert;
struct zorcol;
struct zortask;
struct zorwrite;

/* Reason code of the SELECT-through-DB2 functions: a CLI call failed, its
** diagnostics are already issued. */
#define SQLCAT_RC_DB2      0x116a001   /* a DB2 call failed: an SQL error, its diagnostics issued (ZORU306E) */

/* Size of the name buffer of SQLDescribeCol. */
#define SQLCAT_NAME_MAX    129

/* Largest piece of a LOB read by one SQLGetSubString. */
#define SQLCAT_LOB_PIECE   8192

/*
** One LOB result column fetched as a locator (in memory only, never stored):
** its result-column number, the value type its data is read as (SQL_C_BINARY
** for BLOB, SQL_C_CHAR for CLOB), the locator value type and where the
** locator and the column's indicator sit in the fetched row.
*/
struct sqlcatLob {
  int32_t iColumn;            /* 1-based result column, for traces */
  int16_t sDataType;          /* SQL_C_BINARY or SQL_C_CHAR */
  int16_t sLocatorType;       /* SQL_C_BLOB_LOCATOR or SQL_C_CLOB_LOCATOR */
  char *pcLocator;            /* the locator's place in the row (variable part) */
  SQLINTEGER *piIndicator;    /* the column's indicator */
};

/*
** sqlcatGetColDescription
**   Describes the result columns of the SELECT text pcharSelect on the
**   connection hdbc: one zorcol per column (zorcolCreateFromColDescription,
**   CCSID usCCSID) appended to pchaineColumns and a clone to pchaineCopy;
**   a LOB column keeps the length DB2 declares in its subtype (its storage
**   length is what the row holds of it); the number of LOB columns becomes
**   the SELECT task's integer atom "NO".
**   Returns 0, ORC_INVALID for a missing argument, ORC_NOMEM, or
**   SQLCAT_RC_DB2 after one ZORU306E per diagnostic record.
*/
int sqlcatGetColDescription(zortask *ptaskSelect, ochar *pcharSelect, uint16_t usCCSID, SQLHDBC hdbc,
                            ochaine *pchaineColumns, ochaine *pchaineCopy);

/*
** sqlcatCalcOffsetSelectDB2
**   Places the next column of a fetched row: its offset is *piOffset +
**   *piEntrySize (the previous column's place and size; both 0 before the
**   first column).  Stores the offset in *piOffset and the column's entry
**   size in *piEntrySize, and adds the column's storage length to
**   *piVariable for a column with room in the variable part (VARCHAR, LONG
**   VARCHAR, BLOB, CLOB, DBCLOB).  GRAPHIC and VARGRAPHIC keep the previous
**   entry size.
**   Returns the column's offset in the row data.
*/
int32_t sqlcatCalcOffsetSelectDB2(const zorcol *pcol, int32_t *piEntrySize, int32_t *piOffset, int32_t *piVariable);

/*
** sqlcatInitExportSelectDB2
**   Connects to the SELECT's DBNAME (USERNAME and PASS when given), prepares
**   its SELECTSQL, binds every result column of its SELECT chain into the
**   row data pcRowData (fixed part from 0, variable part from ilFixed), keeps
**   the rows-fetched count in *pulRowsFetched and executes.  With LOBFILE,
**   each BLOB and CLOB is bound as a locator and fills the next entry of
**   palob (room for the task's LOB count).  pUnused1 and pUnused2 are not
**   used.  The handles made are returned even on failure, so that the
**   caller releases them.
**   Returns 0, or SQLCAT_RC_DB2 after the diagnostics.
*/
int sqlcatInitExportSelectDB2(zortask *ptaskSelect, int32_t ilFixed, void *pUnused1, sqlcatLob *palob,
                              void *pUnused2, SQLUINTEGER *pulRowsFetched, SQLHENV *phenv, SQLHDBC *phdbc,
                              SQLHSTMT *phstmt, char *pcRowData);

/*
** sqlcatExtractionFichierLOB
**   Moves every LOB of the current row into the LOB file of pwriteLob: each
**   locator is replaced by the reference text (LOB file name, or with LOB
**   location specifiers "name.offset.length/"), its indicator by the text's
**   length and the LOB length is stored as a 32-bit word after the text;
**   the data is read in pieces of at most ilPiece bytes into pcBuffer
**   (ilPiece + 1 bytes) and written through the writer.  A NULL LOB gets
**   "name.0.-1/" with location specifiers, else an empty text and stays NULL.
**   pconvert is not used.
**   Returns 0, SQLCAT_RC_DB2 after the diagnostics, or the writer's code.
*/
int sqlcatExtractionFichierLOB(oconvert *pconvert, SQLHDBC hdbc, sqlcatLob *palob, int iLobCount,
                               zorwrite *pwriteLob, char *pcBuffer, int32_t ilPiece);

#endif
