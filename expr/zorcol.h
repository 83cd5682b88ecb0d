/*
** zorcol.h
**   Column descriptors.  A zorcol describes one column wherever the program
**   talks about columns: a table column as the catalogue describes it, a
**   result column that DB2 CLI describes, an item of a SELECT list, a FORMAT
**   USER clause, an output column and the virtual columns of the
**   output formats.  Each descriptor carries its own expression tree (a
**   table column a column-reference node over a copy of itself, a SELECT
**   item the tree the SQL parser built).  Descriptors are items of ochaine
**   column chains and travel in the request tree as ZORCOL atoms, and in
**   pairs as MATCHCOL atoms (the columns of a view and what they stand for).
**
**   Ownership: a descriptor owns its name, expression tree and default
**   value; zorcolDestroy frees the three, zorcolClone copies the three.
**
**   Type field: the column type key, internal type id in the low byte (1 to
**   18; 0 when the catalogue type cannot be read directly: an unknown
**   COLTYPE or a distinct type whose source type is not known, which the
**   check and the output preparation do not accept, so such a SELECT goes
**   through DB2 or fails).  Subtype: the length, precision << 8 | scale for
**   DECIMAL, 0 for catalogue DATE, TIME and TIMESTAMP.  Length: the storage
**   length of the value in a DB2 record.
**
**   Single-threaded.
*/
#ifndef ZAV_EXPR_ZORCOL_H
#define ZAV_EXPR_ZORCOL_H

#include <cstdint>
#include <cstdio>

#include "common/oreason.h"

struct ochar;
struct ochaine;
struct olist;
struct osysibm;
struct zornode;
struct zoratom;
struct ostreamLocation;

/* Reason codes (module 0x108). */
#define ZORCOL_RC_NOCOLUMN  ORC_MAKE(0x108, 2, 0x001)  /* 0x108a001 no such column in the chain */
#define ZORCOL_RC_VIEWCOLS  ORC_MAKE(0x108, 2, 0x002)  /* 0x108a002 view declares more columns than its SELECT */

/* Flags. */
#define ZORCOL_SBCS       0x0010   /* single-byte CCSID */
#define ZORCOL_DBCS       0x0020   /* double-byte CCSID */
#define ZORCOL_VBCS       0x0040   /* mixed CCSID */
#define ZORCOL_FBD        0x0080   /* bit data or a CCSID of no known class */
#define ZORCOL_CLASS      0x00F0   /* the four class bits */
#define ZORCOL_ORDER_ASC  0x0100   /* ascending sort key */
#define ZORCOL_ORDER_DESC 0x0200   /* descending sort key */
#define ZORCOL_NULL       0x0400   /* nullable */
#define ZORCOL_CSTE       0x0800   /* the expression is a constant */
#define ZORCOL_VAR        0x1000   /* a column variable */
#define ZORCOL_OPRT       0x2000   /* the expression is an operator expression */

/* Internal type ids. */
#define ZORCOL_T_UNKNOWN    0
#define ZORCOL_T_SMALLINT   1
#define ZORCOL_T_INTEGER    2
#define ZORCOL_T_DECIMAL    3
#define ZORCOL_T_DOUBLE     4
#define ZORCOL_T_REAL       5
#define ZORCOL_T_BIGINT     6
#define ZORCOL_T_CHAR       7
#define ZORCOL_T_VARCHAR    8
#define ZORCOL_T_LONGVAR    9
#define ZORCOL_T_DATE       10
#define ZORCOL_T_TIME       11
#define ZORCOL_T_TIMESTAMP  12
#define ZORCOL_T_GRAPHIC    13
#define ZORCOL_T_VARGRAPHIC 14
#define ZORCOL_T_LONGVARG   15
#define ZORCOL_T_BLOB       16
#define ZORCOL_T_CLOB       17
#define ZORCOL_T_DBCLOB     18
#define ZORCOL_T_ROWID      19
#define ZORCOL_T_DISTINCT   47

/* Length that a LOB column described through CLI gets. */
#define ZORCOL_CLI_LOB_LENGTH 32700

struct zorcol {
  zorcol  *pcolNext;       /* chain links: the descriptor is an ochaine item */
  zorcol  *pcolPrev;
  ochar   *pcharName;      /* column name, owned, may be NULL */
  int32_t  iNumber;        /* 1-based position (SELECT chain, result set); 0 = none */
  int32_t  iDb2Number;     /* COLNO; index of the row column definitions */
  zornode *pnodeExpr;      /* expression tree, owned, may be NULL */
  int32_t  iType;          /* column type key */
  int32_t  iSubType;       /* length; DECIMAL precision << 8 | scale */
  int32_t  iLength;        /* storage length in a DB2 record */
  uint16_t usFlags;        /* ZORCOL_* */
  int16_t  sCCSID;         /* code page of a character or graphic column, else 0 */
  ochar   *pcharDefault;   /* catalogue DEFAULT text, owned, may be NULL */
};

/*
** zorcolCreate
**   New zeroed descriptor with the number, expression (taken over) and
**   flags.  The name is taken over when given; without one, a descriptor
**   whose expression is a column-reference node gets a copy of the name of
**   the column the node refers to.
**   Returns the descriptor, or NULL when memory runs out (nothing taken over).
*/
zorcol *zorcolCreate(ochar *pcharName, int32_t iNumber, zornode *pnodeExpr, uint16_t usFlags);

/*
** zorcolCreateFromSyscolumn
**   Descriptor of a catalogue column (a SYSCOLUMNS record): name, internal
**   type id (a distinct type replaced by its source type when the catalogue's
**   data-type registry knows it, else type 0), subtype, storage length,
**   CCSID and class, nullability, default value, flag VAR, DB2 column number,
**   and a column-reference node over a copy of itself as expression.
**   Returns the descriptor, or NULL for NULL or when memory runs out.
*/
zorcol *zorcolCreateFromSyscolumn(const osysibm *prec);

/*
** zorcolCreateFromColDescription
**   Descriptor of result column iIndex (0-based) as DB2 CLI describes it.
**   iNaming 0 names it with pcName (NUL-terminated, CCSID 850), 1 with the
**   default name, any other value leaves it unnamed.  Each LOB column adds
**   one to *piLobCount (piLobCount may be NULL).  usCCSID (the
**   connection's code page) and its class go to text columns only (CHAR,
**   VARCHAR, LONG VARCHAR, CLOB, the graphic types, DBCLOB, and types that
**   cannot be read); every other column has CCSID 0.
**   Returns the descriptor, or NULL when memory runs out.
*/
zorcol *zorcolCreateFromColDescription(int iIndex, const char *pcName, int iSqlType,
                                       int32_t ilPrecision, int iScale, int32_t ilSize,
                                       int iNullable, uint16_t usCCSID, int iNaming,
                                       int *piLobCount);

/*
** zorcolCreateFromSqlda
**   Descriptor of entry iIndex of a DB2 SQLDA (16-byte header, 44-byte
**   entries: i16 SQL type, i16 length, data pointer, indicator pointer, i16
**   name length, 30 name bytes).  The entry's data pointer must address the
**   column's 16-bit CCSID.
**   Returns the descriptor, or NULL for NULL or when memory runs out.
*/
zorcol *zorcolCreateFromSqlda(const void *pSqlda, int iIndex);

/*
** zorcolClone
**   Deep copy (name, expression tree, default value).  The copy's chain
**   links are the source's until it is linked into a chain.
**   Returns the copy; NULL for NULL or when memory runs out.
*/
zorcol *zorcolClone(const zorcol *pcol);

/* zorcolDestroy: frees the name, the expression tree, the default value and the descriptor; NULL ignored. */
void zorcolDestroy(zorcol *pcol);

/* zorcolDestroyChaineItem: item-destroy callback of column chains (zorcolDestroy). */
void zorcolDestroyChaineItem(ochaine *pchaine, void *pitem);

/* zorcolChainePrint: item-print callback of column chains (zorcolPrint). */
void zorcolChainePrint(ochaine *pchaine, void *pitem, FILE *pfile, int iLength);

/*
** zorcolPrint
**   Debug dump of the descriptor and, unless a dump of an expression is
**   already under way, of its expression tree.
**   Returns 0 (nothing written for a NULL stream or descriptor).
*/
int zorcolPrint(const zorcol *pcol, FILE *pfile);

/*
** zorcolCheckVariable
**   Resolves a column reference against a column chain: by blank-padded name
**   when both have a name, else by number.  On a match the reference takes
**   the column's number (when matched by name), CCSID, subtype, length, DB2
**   number, type and flags (ORed), and its name and default value when it
**   has none.
**   Returns 0, ZORCOL_RC_NOCOLUMN (reference unchanged), or ORC_NOMEM.
*/
int zorcolCheckVariable(zorcol *pcolRef, const ochaine *pchaine);

/*
** zorcolBuildDefaultName
**   Names an unnamed column: the name of the column its column-reference
**   expression refers to, else "COL" and its number on at least three
**   digits (CCSID 850).  A named column keeps its name.
**   Returns 0, or ORC_NOMEM.
*/
int zorcolBuildDefaultName(zorcol *pcol);

/*
** zorcolBuildMatchList
**   Match list of a view: a reference list of MATCHCOL atoms named "VIEW",
**   one per position: value 1 a copy of the column of pchaineView (the view's
**   declared columns) or, without it, of pchaineSelect (the view's checked
**   SELECT columns); value 2 a copy of the pchaineSelect column at the same
**   position.
**   Returns the list; NULL when the view declares more columns than its
**   SELECT has (message ZORU090E, *prc = ZORCOL_RC_VIEWCOLS) or memory runs
**   out (*prc = ORC_NOMEM).  *prc is 0 on success; prc may be NULL.
*/
olist *zorcolBuildMatchList(const ochaine *pchaineView, const ochaine *pchaineSelect,
                            int *prc = nullptr);

/* Target of zorcolSubstituteCustomType. */
struct zorcolCustomType {
  int32_t ilRequest;   /* ZORCOL_CUSTOM_* bits asked for; an internal type id once done */
  int32_t ilLength;    /* DECIMAL: precision << 8 | scale asked for; the result length once done */
};

#define ZORCOL_CUSTOM_DECIMAL 0x40000000   /* the decimal step */
#define ZORCOL_CUSTOM_INTEGER 0x20000000   /* the integer step */
#define ZORCOL_CUSTOM_FLOAT   0x10000000   /* the float step */
#define ZORCOL_CUSTOM_CHAR    0x00080000   /* a character result */
#define ZORCOL_CUSTOM_NUMBER  0x00100000   /* a numeric result */
#define ZORCOL_CUSTOM_NOLEN   0x00040000   /* a length of 0 */

/*
** zorcolSubstituteCustomType
**   Gives a column the representation a target asks for, in the steps
**   decimal, integer, float (each asked for by its bit of ilRequest, tested
**   on the request word as the previous step left it).  A step asking for a
**   character result makes the type CHAR (7): an expression already of the
**   step's type keeps it, any other is wrapped in a DECIMAL(), INTEGER() or
**   FLOAT() node, checked with zornodeCheckExpression against no column
**   chain, and becomes the column's expression; ilLength gets the
**   character length.  A step asking for a numeric result makes the type
**   DECIMAL (3), INTEGER (2) or REAL (5).  ZORCOL_CUSTOM_NOLEN sets the
**   length to 0.  Nothing in the program calls it.
**   Returns 0, ORC_INVALID for a column without expression, ORC_NOMEM, or
**   the result of a failed check (the column's expression is then
**   unwrapped again, the target unchanged by that step).
*/
int zorcolSubstituteCustomType(zorcol *pcol, zorcolCustomType *ptarget);

#endif
