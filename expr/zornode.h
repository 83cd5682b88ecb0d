/*
** zornode.h
**   Expression trees.  Every SELECT-list item and every WHERE condition is a
**   tree of zornode nodes: constants (which own their value buffer), column
**   references (which own a zorcol, or after binding point at a rowColDef of
**   the record layout) and operators (which own their operands).  The SQL
**   parser builds trees with the constructors below; the check types them and
**   binds an evaluation procedure to each node; the run step binds the column
**   nodes of a WHERE tree to the record layout (zornodeSubstituteVar) and
**   sizes the evaluation pool from zornodeGetTreeDepth.  Trees travel as
**   ZORNODE atoms, which copy, free and print them through this module.
**
**   Ownership: a node owns what its left and right slots hold unless the
**   status bit NODE_LEFT_NOT / NODE_RIGHT_NOT says otherwise.  A copy
**   (zornodeClone) owns private copies of everything, constant buffers
**   included, so the check may rewrite a constant of one tree without
**   touching another.  A bound column node (NODE_SUBS) points at a
**   definition that belongs to the run step; destroying it leaves the
**   definition alone.
**
**   Constant value buffers (left slot):
**     INTEGER 4-byte, SMALLINT 2-byte, BIGINT 8-byte signed integers and
**     double 8 bytes, all in machine order; DECIMAL 18 bytes: precision,
**     scale, 16 bytes of packed BCD right-aligned; CHAR, VARCHAR u16 byte
**     length then the bytes; GRAPHIC u16 character count then the bytes;
**     DATE, TIME, TIMESTAMP u16 length 4, 3 or 10 then DB2's packed BCD form;
**     NULL no buffer.
**
**   Shapes built by the parser: binary operators hold their operands left
**   and right; unary operators and one-argument functions the operand left;
**   IN holds the tested expression left and a list of constants right,
**   chained through their right slots; CASE is an IF node over the WHEN
**   condition and a CONT_IF node (THEN left, ELSE or the next IF right);
**   VALUE and SUBSTR chain their further arguments through CONT_VAL nodes;
**   DECIMAL(x, p, s) keeps p << 8 | s as a value in its right slot
**   (NODE_RIGHT_NOT); date/time plus or minus a duration is a DUREE node over
**   the date/time and a CONT_DUREE node (amount left, unit word as a value
**   right).
**
**   Single-threaded; trees are copied into forked processes with the rest of
**   the request.
*/
#ifndef ZAV_EXPR_ZORNODE_H
#define ZAV_EXPR_ZORNODE_H

#include <cstdint>
#include <cstdio>

#include "common/oreason.h"

struct zorcol;
struct zornode;
struct rowColDef;
struct olist;
struct ochar;
struct ostreamLocation;
struct zornodeEvalContext;
struct zornodeEvalValue;

/* Reason codes (module 0x106). */
#define ZORNODE_RC_NOMATCH    ORC_MAKE(0x106, 2, 0x001)  /* 0x106a001 column not in the view list */
#define ZORNODE_RC_NOCONTIF   ORC_MAKE(0x106, 2, 0x00c)  /* 0x106a00c IF node without CONT_IF */
#define ZORNODE_RC_BADOPERAND ORC_MAKE(0x106, 2, 0x00d)  /* 0x106a00d invalid operand (check) */
#define ZORNODE_RC_NOPROC     ORC_MAKE(0x106, 2, 0x010)  /* 0x106a010 operator without procedure: not read directly (ZORU481E) */
#define ZORNODE_RC_BADKIND    ORC_MAKE(0x106, 3, 0x001)  /* 0x106b001 node of an unknown kind */

/* Node kinds. */
#define ZORNODE_CSTE 1   /* constant */
#define ZORNODE_VAR  2   /* column reference */
#define ZORNODE_OPRT 3   /* operator */

/* Data type codes of constants and columns. */
#define NODE_CTUNK   (-8)   /* unresolved column */
#define NODE_CTNLL   (-4)
#define NODE_CTINT   0      /* INTEGER, SMALLINT columns */
#define NODE_CTSMI   4      /* SMALLINT constant */
#define NODE_CTFLT   8      /* DOUBLE, REAL */
#define NODE_CTDEC   12
#define NODE_CTCHR   16
#define NODE_CTVCH   20
#define NODE_CTGRA   24
#define NODE_CTVGR   28     /* VARGRAPHIC, LONG VARGRAPHIC */
#define NODE_CTDTE   32
#define NODE_CTTME   36
#define NODE_CTTST   40
#define NODE_CTBLOB  44
#define NODE_CTCLOB  48
#define NODE_DBCLOB  52
#define NODE_ROWID   56
#define NODE_CTNULL  63     /* the NULL constant */
#define NODE_CTBIG   64     /* BIGINT */
#define NODE_CTLVCH  68     /* LONG VARCHAR column */

/* Operator codes. */
#define NODE_CONT_DUREE_OP (-16)
#define NODE_CONT_IF_OP    (-12)
#define NODE_CONT_IN_OP    (-8)
#define NODE_CONT_VAL_OP   (-4)
#define NODE_OR_OP         0x00
#define NODE_AND_OP        0x04
#define NODE_NOT_OP        0x08
#define NODE_EQU_OP        0x0c
#define NODE_INF_OP        0x10
#define NODE_SUP_OP        0x14
#define NODE_DIFF_OP       0x18
#define NODE_IEG_OP        0x1c
#define NODE_SEG_OP        0x20
#define NODE_IN_OP         0x24
#define NODE_LIKE_OP       0x28
#define NODE_LIKE_ESC_OP   0x2a   /* pattern and escape character under LIKE */
#define NODE_PLS_OP        0x2c
#define NODE_MNS_OP        0x30
#define NODE_MLT_OP        0x34
#define NODE_DIV_OP        0x38
#define NODE_MNSU_OP       0x3c   /* unary minus */
#define NODE_IS_OP         0x40
#define NODE_INT_OP        0x44
#define NODE_FLT_OP        0x48
#define NODE_DEC_OP        0x4c
#define NODE_DTE_OP        0x50
#define NODE_TME_OP        0x54
#define NODE_TST_OP        0x58
#define NODE_YEA_OP        0x5c
#define NODE_MON_OP        0x60
#define NODE_DAY_OP        0x64
#define NODE_DAYOFMONTH_OP 0x65   /* checked as DAY() */
#define NODE_HOU_OP        0x68
#define NODE_MIN_OP        0x6c
#define NODE_SEC_OP        0x70
#define NODE_MIC_OP        0x74
#define NODE_DAYS_OP       0x78
#define NODE_LEN_OP        0x7c
#define NODE_NUL_OP        0x80
#define NODE_VAL_OP        0x84
#define NODE_SUBSTR_OP     0x88
#define NODE_STRIP_OP      0x8c
#define NODE_STRIP2_OP     0x8d
#define NODE_STRIP3_OP     0x8e
#define NODE_CHR_OP        0x90
#define NODE_DIG_OP        0x94
#define NODE_HEX_OP        0x98
#define NODE_VARG_OP       0x9c
#define NODE_CONCAT_OP     0xa0
#define NODE_IN_OP_RANDOM  0xa4
#define NODE_ABS_OP        0xa8
#define NODE_CEIL_OP       0xac
#define NODE_DAYOFWEEK_OP  0xb0
#define NODE_DAYOFYEAR_OP  0xb4
#define NODE_FLOOR_OP      0xb8
#define NODE_MNSECONDS_OP  0xbc
#define NODE_MOD_OP        0xc0
#define NODE_QUARTER_OP    0xc4
#define NODE_REAL_OP       0xc8
#define NODE_SIGN_OP       0xcc
#define NODE_SMINT_OP      0xd0
#define NODE_TRUNC_OP      0xd4
#define NODE_CONVERSION_OP 0xd8
#define NODE_IF_OP         0xdc   /* CASE */
#define NODE_DUREE_OP      0xe0   /* date/time plus or minus a duration */
#define NODE_DIFFTEMPS_OP  0xe4   /* date/time difference */

/* Control type bits and named values. */
#define NODE_T_CSTE     0x4000   /* constant */
#define NODE_T_VALUE    0x2000   /* value of a column or a computation */
#define NODE_T_SPECIAL  0x1000
#define NODE_T_NUMERIC  0x0800
#define NODE_T_CHAR     0x0400
#define NODE_T_DATETIME 0x0200
#define NODE_T_VARYING  0x0100

#define NODE_T_INC   0x0000   /* not yet typed */
#define NODE_T_BOOL  0x1001
#define NODE_T_NULL  0x1002
#define NODE_T_VDTE  0x2220
#define NODE_T_VTME  0x2224
#define NODE_T_VTST  0x2228
#define NODE_T_VCHR  0x2410
#define NODE_T_VGRA  0x2418
#define NODE_T_VVCH  0x2514
#define NODE_T_VVGR  0x251c
#define NODE_T_VINT  0x2800
#define NODE_T_VSMI  0x2804
#define NODE_T_VFLT  0x2808
#define NODE_T_VDEC  0x280c
#define NODE_T_VBIG  0x2840
#define NODE_T_DTE   0x4220
#define NODE_T_TME   0x4224
#define NODE_T_TST   0x4228
#define NODE_T_CHN   0x4410
#define NODE_T_GRA   0x4418
#define NODE_T_INT   0x4800
#define NODE_T_SMI   0x4804
#define NODE_T_FLT   0x4808
#define NODE_T_DEC   0x480c
#define NODE_T_BIG   0x4840

/* Status bits. */
#define NODE_LEFT_NOT        0x0001   /* left slot not owned, not descended */
#define NODE_RIGHT_NOT       0x0002   /* right slot holds a value or is not owned */
#define NODE_VARIABLE_LENGHT 0x0004   /* varying-length result */
#define NODE_SBCS            0x0010
#define NODE_DBCS            0x0020
#define NODE_VBCS            0x0040
#define NODE_FBD             0x0080
#define NODE_NULLABLE        0x0400
#define NODE_SUBS            0x4000   /* column node bound to a rowColDef */

/* Size of a DECIMAL constant buffer: precision, scale, 16 packed bytes. */
#define ZORNODE_DECIMAL_SIZE 18

/* Evaluation procedure: the result element holding the node's value for the current record. */
typedef zornodeEvalValue *(*zornodeEvalProc)(zornodeEvalContext *pctx, zornode *pnode);

struct zornode {
  int16_t  sKind;          /* ZORNODE_CSTE, ZORNODE_VAR, ZORNODE_OPRT */
  int16_t  sCode;          /* data type code, or operator code */
  void    *pLeft;          /* value buffer / zorcol / rowColDef / left operand */
  void    *pRight;         /* right operand, or a value when NODE_RIGHT_NOT */
  uint16_t usCtrlType;     /* type of the computed value */
  uint16_t usStatus;       /* NODE_* status bits */
  int16_t  sCCSID;         /* code page of a character or graphic value */
  uint16_t usLength;       /* length; DECIMAL precision << 8 | scale */
  int16_t  sStartColumn;   /* position of the item in the control file */
  int16_t  sStartLine;
  int16_t  sEndColumn;
  int16_t  sEndLine;
  uint16_t usExtType;      /* control type the SQL function returns, when it differs */
  uint16_t usExtLength;    /* length going with usExtType */
  uint16_t usPadChar;      /* blank of the node's CCSID */
  zornodeEvalProc procEval; /* bound by the check */
};

/* Value kept in the right slot (NODE_RIGHT_NOT). */
inline uintptr_t zornodeRightValue(const zornode *pnode)
{
  return reinterpret_cast<uintptr_t>(pnode->pRight);
}
inline void zornodeSetRightValue(zornode *pnode, uintptr_t ulValue)
{
  pnode->pRight = reinterpret_cast<void *>(ulValue);
}

/* ------------------------------------------------------------ constructors */
/*
** Every constructor returns the new node, or NULL when it cannot be
** allocated (nothing passed in is taken over then).  Nodes start zeroed.
** Positions: start column and line from the first column and first line of
** plocStart, end column and line from the last column and last line of
** plocEnd; a missing location gives zeros.
*/

/* zornodeCreate: general constructor; left and right are stored as passed. */
zornode *zornodeCreate(int iKind, int iCode, void *pLeft, void *pRight, uint16_t usStatus,
                       const ostreamLocation *plocStart, const ostreamLocation *plocEnd);

/* zornodeCreateNull: NULL constant, code 63, control type 0x1002, length 0, no buffer. */
zornode *zornodeCreateNull(const ostreamLocation *plocStart, const ostreamLocation *plocEnd);

/* zornodeCreateInteger: INTEGER constant (code 0, control type 0x4800, length 4). */
zornode *zornodeCreateInteger(int32_t iValue, const ostreamLocation *plocStart,
                              const ostreamLocation *plocEnd);

/* zornodeCreateSmallInt: SMALLINT constant (code 4, control type 0x4804, length 2). */
zornode *zornodeCreateSmallInt(int16_t sValue, const ostreamLocation *plocStart,
                               const ostreamLocation *plocEnd);

/* zornodeCreateBigint: BIGINT constant (code 64, control type 0x4840, length 8) of high:low. */
zornode *zornodeCreateBigint(uint32_t ulLow, uint32_t ulHigh, const ostreamLocation *plocStart,
                             const ostreamLocation *plocEnd);

/* zornodeCreateFloat: double constant (code 8, control type 0x4808, length 8) of the two words. */
zornode *zornodeCreateFloat(uint32_t ulLow, uint32_t ulHigh, const ostreamLocation *plocStart,
                            const ostreamLocation *plocEnd);

/*
** zornodeCreateDecimal
**   DECIMAL constant (code 12, control type 0x480c, length precision << 8 |
**   scale) taking over the 18-byte malloc'ed buffer (freed with the node).
*/
zornode *zornodeCreateDecimal(unsigned char *pcBuffer, const ostreamLocation *plocStart,
                              const ostreamLocation *plocEnd);

/*
** zornodeCreateLitteral
**   Character constant holding a copy of the string (not taken over): a
**   double-byte string gives a GRAPHIC constant (code 24, control type
**   0x4418, buffer [u16 character count][bytes], length = character count),
**   any other a CHAR constant (code 16, 0x4410, [u16 byte length][bytes],
**   length = byte length).  CCSID and class bits from the string; pad
**   character = the blank in that CCSID.
*/
zornode *zornodeCreateLitteral(const ochar *pchar, const ostreamLocation *plocStart,
                               const ostreamLocation *plocEnd);

/*
** zornodeCreateCurrent
**   CURRENT DATE (32), TIME (36) or TIMESTAMP (40): the local time packed in
**   DB2's BCD form in a constant under a DATE(), TIME() or TIMESTAMP()
**   operator node.  NULL for any other code.
*/
zornode *zornodeCreateCurrent(int iCode);

/*
** zornodeCreateFromListRef
**   Chains the nodes of a reference list in list order, each pointing to the
**   next through its right slot (iLink 2) or its left slot (any other link).
**   Returns the first node, NULL for an empty or NULL list.
*/
zornode *zornodeCreateFromListRef(olist *plist, int iLink);

/*
** zornodeCreateDefaultValue
**   Constant holding the default value of a column of internal type
**   iType (1-8, 10-14) and subtype ilLength.  Character and graphic defaults
**   take the CCSID of the DECPSID parameter (850 by default).  NULL for any
**   other type.
*/
zornode *zornodeCreateDefaultValue(int iType, int32_t ilLength);

/*
** zornodeCreateNullIndicator
**   The tree CASE WHEN expr IS NULL THEN pcharNull ELSE pcharNotNull END over
**   a copy of the column's expression.  NULL when the column has no
**   expression or memory runs out.
*/
zornode *zornodeCreateNullIndicator(const zorcol *pcol, const ochar *pcharNotNull,
                                    const ochar *pcharNull);

/*
** zornodeCompleteCaseNode
**   For an IF node: a missing THEN result becomes the default value of the
**   column's type, a missing ELSE result a copy of the column's expression;
**   a nested IF in the ELSE slot is completed the same way.
**   Returns 0 (also for NULL or a tree that is not an IF node),
**   ZORNODE_RC_NOCONTIF when an IF node has no CONT_IF node, ORC_NOMEM.
*/
int zornodeCompleteCaseNode(zornode *pnode, const zorcol *pcol);

/* ----------------------------------------------------- copy, destroy, print */

/*
** zornodeClone
**   Deep copy of a tree; NULL for NULL or when memory runs out (nothing is
**   left allocated then).  Every field is copied except the evaluation
**   procedure.  A constant's value buffer is copied; a slot the source does
**   not own (NODE_LEFT_NOT / NODE_RIGHT_NOT) is shared.  A column copy gets a
**   copy of its zorcol without that column's own expression; a bound column
**   node shares its definition.
*/
zornode *zornodeClone(const zornode *pnode);

/* zornodeDestroy: frees what each node owns, depth first, then the nodes.  NULL is ignored. */
void zornodeDestroy(zornode *pnode);

/* zornodePrint: indented debug dump of the tree on pfile (nothing when NULL). */
void zornodePrint(const zornode *pnode, FILE *pfile, int iDepth);

/* ------------------------------------------------------ substitution, walks */

/*
** zornodeSubstituteVar
**   Binds the column nodes of a tree to a record layout: each column node not
**   yet bound gets NODE_SUBS and apdef[its zorcol's DB2 column number] in its
**   left slot (the zorcol is released).  Already bound nodes are skipped, so
**   a tree may be passed again.  apdef is indexed by DB2 column number and
**   must cover every column of the tree.
**   Returns 0, or ZORNODE_RC_BADKIND for a node of an unknown kind.
*/
int zornodeSubstituteVar(zornode *pnode, rowColDef **apdef);

/*
** zornodeSubstituteView
**   Replaces each column node's zorcol by a copy of value 2 of the first
**   MATCHCOL atom of the list whose value 1 has the same name (blank-padded
**   comparison).  0 at once for a NULL tree or list.
**   Returns 0, ZORNODE_RC_NOMATCH when a column is named by no atom,
**   ZORNODE_RC_BADKIND for a node of an unknown kind, ORC_NOMEM.
*/
int zornodeSubstituteView(zornode *pnode, olist *plistMatch);

/*
** zornodeGetTreeDepth
**   Depth of the tree counted from iDepth (a NULL node gives iDepth); the
**   evaluation pool of the tree needs depth + 1 elements.
*/
int zornodeGetTreeDepth(const zornode *pnode, int iDepth);

/*
** zornodeGetExpressionColumns
**   Appends to a reference list one reference to the rowColDef of each bound
**   column node, left before right.
**   Returns 0, or ZORNODE_RC_BADKIND.
*/
int zornodeGetExpressionColumns(olist *plist, const zornode *pnode);

/* ------------------------------------------------------------- vocabulary */

/* zornodeGetTypeName: name of a data type code ("NODE_CTINT" ...), "Unknown" otherwise. */
const char *zornodeGetTypeName(int iCode);
/* zornodeGetOperatorName: name of an operator code ("NODE_OR_OP" ...), "Unknown" otherwise. */
const char *zornodeGetOperatorName(int iCode);
/* zornodeGetOperatorText: display text of an operator ("OR", "=" ...), "" for containers and unknown codes. */
const char *zornodeGetOperatorText(int iCode);
/* zornodeGetCtrlTypeName: name of a control type ("NODE_T_VINT" ...), "Unknown" otherwise. */
const char *zornodeGetCtrlTypeName(unsigned uCtrlType);

#endif
