/*
** zornodeeval.h
**   WHERE evaluation.  A WHERE tree that passed the check carries in every
**   node its evaluation procedure, and in every column node the rowColDef
**   that locates the column in a record; the readers evaluate it once per
**   record with zornodeEvalBool.  This module owns the evaluation context
**   (a pool of result elements and the current record), the procedure
**   protocol, the leaf procedures that load a column or a constant, the
**   logical operators with three-valued logic, IS NULL, the comparisons of
**   every pair of operand types, the arithmetic and cast procedures, and the
**   procedure table aevalFuncDescriptor with its dictionary gpdictNodeProc
**   from which the check binds procedures to nodes.  The duration and
**   date-difference procedures named in the table live in their own module
**   (expr/zornodedur.h) and follow the same protocol.
**
**   Procedure protocol.  A procedure is called with the context and its node
**   and returns a result element of the context's pool holding the node's
**   value for the current record:
**     1. it takes new elements with zornodeEvalTake;
**     2. it evaluates an operand with zornodeEvalNode (the operand's own
**        procedure, same context) and receives the operand's element;
**     3. it gives back every operand element it no longer needs with
**        zornodeEvalGive (comparisons give back the right operand's element
**        first, then the left's);
**     4. on an error it calls zornodeEvalJump(reason), which does not return.
**
**   Abandoning an evaluation.  zornodeEvalJump throws an exception private
**   to this module; zornodeEvalBool (the jump context) catches it, reports
**   ZORU365W with the reason code and returns 0, and zornodeEvalEval returns
**   the reason code.  Procedures therefore must hold nothing but pool
**   elements across the evaluation of an operand or a call of
**   zornodeEvalJump.  After an abandoned evaluation every element of the
**   context's pool is put back on its free list, so the pool does not grow
**   with the number of failing records.
**
**   Result element (zornodeEvalValue): the link word (the free-list link
**   while the element is free; the control type of the value once a
**   procedure of known result type has set it: NODE_T_BOOL for comparisons
**   and IS NULL; the loads leave it alone), the null indicator
**   (0 value present, non-zero NULL: a column loads as 1 whatever non-zero
**   null byte its record holds, operators pass their operand's on) and a
**   260-byte value area laid out by
**   the low byte of the control type:
**     boolean, INTEGER (0x00), SMALLINT columns   i32 (u.iValue)
**     BIGINT (0x40)                                i64  zornodeEvalGetBig/SetBig
**     DOUBLE (0x08), REAL columns                  double zornodeEvalGetDouble/SetDouble
**     DECIMAL (0x0c)                               odecimal (u.dec)
**     CHAR, VARCHAR (0x10, 0x14)                   u16 byte length, bytes (u.str)
**     GRAPHIC, VARGRAPHIC (0x18, 0x1c)             u16 character count, 2 bytes each
**     DATE, TIME, TIMESTAMP (0x20, 0x24, 0x28)     otime, packed form valid (u.time)
**   The value area sits 4 bytes past an 8-byte boundary: 64-bit integers and
**   doubles go through the accessors below.  A character value holds at most
**   the context's iStringMax bytes (a graphic value half as many
**   characters): ZORNODE_STRING_MAX in an element of this size, more in the
**   wider elements of a context made for a tree with longer columns
**   (zornodeEvalCreateSized); a longer value ends the evaluation with
**   ZORNODE_RC_VALUELEN.
**
**   Record bounds.  The caller points the context at the row data of the
**   current record (8 bytes past the start of an unload record) before each
**   evaluation, preferably with zornodeEvalSetRecord, which also records
**   the row length and the record's fixed-part length.  With them known, a
**   column that the record does not hold (at or beyond its fixed part: the
**   table was altered after the record was written) loads as NULL when it
**   is nullable and ends the evaluation with ZORNODE_RC_RECORD when it is
**   not, and a value or varying-length data that would lie past the row ends
**   it with ZORNODE_RC_RECORD.  Storing pcRow alone leaves both lengths
**   unknown (-1): values are then read where the definitions say.
**
**   Concurrency.  One zornodeEvalBool at a time per process (gjumpContext
**   is process-wide); a context belongs to one reader process and one tree.
**   zornodeEvalValueOf touches no process-wide state: threads may evaluate
**   at once, each with contexts of its own (the SELECT-list columns of a
**   writer's conversion threads).
**   gpdictNodeProc is built once, in the process that checks the first
**   tree, and is read-only afterwards; forked readers inherit it.
*/
#ifndef ZAV_EXPR_ZORNODEEVAL_H
#define ZAV_EXPR_ZORNODEEVAL_H

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "common/oreason.h"
#include "expr/odecimal.h"
#include "expr/opool.h"
#include "expr/otime.h"
#include "expr/zornode.h"

struct odict;

/* Reason codes with which an evaluation ends (module 0x106). */
#define ZORNODE_RC_INTRANGE ORC_MAKE(0x106, 2, 0x011)  /* 0x106a011 INTEGER() argument out of range */
#define ZORNODE_RC_DIVZERO  ORC_MAKE(0x106, 2, 0x013)  /* 0x106a013 division by zero */
#define ZORNODE_RC_VALUELEN ORC_MAKE(0x106, 2, 0x014)  /* 0x106a014 character value longer than the value area */
#define ZORNODE_RC_RECORD   ORC_MAKE(0x106, 2, 0x015)  /* 0x106a015 column or value outside the record */
#define ZORNODE_RC_OVERFLOW ORC_MAKE(0x106, 2, 0x016)  /* 0x106a016 INTEGER or BIGINT result out of its range */
/* An operand without procedure or of a type no load knows ends it with
   ZORNODE_RC_NOPROC or ZORNODE_RC_BADOPERAND (zornode.h); a pool that
   cannot grow with ORC_NOMEM; decimal and date/time failures with the
   status of odecimal or otime. */

/* Value area. */
#define ZORNODE_VALUE_SIZE 260
#define ZORNODE_STRING_MAX 258   /* bytes of a character value */

/* Character or graphic value: length (bytes, or characters for graphic), then the bytes. */
struct zornodeEvalString {
  uint16_t usLength;
  unsigned char acBytes[ZORNODE_STRING_MAX];
};

struct zornodeEvalValue {
  uintptr_t ulLink;    /* free-list link while free; control type of the value while in use */
  int32_t   iNull;     /* 0: value present; non-zero: NULL */
  union {
    int32_t iValue;              /* boolean, INTEGER */
    odecimal dec;                /* DECIMAL */
    otime time;                  /* DATE, TIME, TIMESTAMP */
    zornodeEvalString str;       /* CHAR, VARCHAR, GRAPHIC, VARGRAPHIC */
    unsigned char acRaw[ZORNODE_VALUE_SIZE];
  } u;
};

static_assert(sizeof(zornodeEvalValue) == 272, "result element layout");
static_assert(offsetof(zornodeEvalValue, u) == 12, "value area offset");

/*
** Default of a column that records written before it was added do not
** hold: a row of its own (iLength bytes) in which the column lies where the
** column definition says.  A bound column definition's pExtra points to it
** (or is NULL).
*/
struct zornodeEvalDefault {
  int32_t iLength;
  unsigned char acRow[1];   /* iLength bytes */
};

/* 64-bit integer and double values of the value area (not 8-byte aligned). */
inline int64_t zornodeEvalGetBig(const zornodeEvalValue *pval)
{
  int64_t ll;
  std::memcpy(&ll, pval->u.acRaw, sizeof ll);
  return ll;
}
inline void zornodeEvalSetBig(zornodeEvalValue *pval, int64_t ll)
{
  std::memcpy(pval->u.acRaw, &ll, sizeof ll);
}
inline double zornodeEvalGetDouble(const zornodeEvalValue *pval)
{
  double d;
  std::memcpy(&d, pval->u.acRaw, sizeof d);
  return d;
}
inline void zornodeEvalSetDouble(zornodeEvalValue *pval, double d)
{
  std::memcpy(pval->u.acRaw, &d, sizeof d);
}

/*
** Evaluation context of one WHERE tree for one reader/writer pair.  Lives
** until the reader process ends; only pcRow, ilRowLength and iFixedLength
** are for the caller to set.
*/
struct zornodeEvalContext {
  opool       pool;          /* result elements; procedures touch only its free list */
  const char *pcRow;         /* row data of the current record (record + 8) */
  int32_t     ilRowLength;   /* bytes of row data at pcRow, -1 when not known */
  int32_t     iFixedLength;  /* fixed-part length of the current record, -1 when not known */
  uint32_t    uiElemOffset;  /* offset of the first element in a pool block */
  int32_t     iStringMax;    /* bytes a character value may hold: the value area reaches past the
                                element's 258 bytes when the tree's columns are longer */
};

/* Elements of every pool block after the first. */
#define ZORNODE_EVAL_GROWTH 50

/*
** The process-wide jump context: the evaluation in progress and the reason
** code of the last abandoned one.
*/
struct zornodeJumpContext {
  zornodeEvalContext *pctxActive;  /* context of the zornodeEvalBool in progress, else NULL */
  int32_t             iReason;     /* reason code of the last abandoned evaluation, else 0 */
};
extern zornodeJumpContext gjumpContext;

/* One row of the procedure table. */
struct zornodeEvalFuncDescriptor {
  uint16_t        usOperator;  /* operator code; 0xFFFF ends the table */
  uint8_t         ucLeft;      /* left operand's data type code, 0xFF any */
  uint8_t         ucRight;     /* right operand's data type code, 0xFF none or any */
  zornodeEvalProc proc;
};

#define ZORNODE_EVAL_FUNC_ROWS 260   /* rows of aevalFuncDescriptor, the end row included */
#define ZORNODE_EVAL_ANY       0xFF

/* The procedure table, ended by {0xFFFF, 0xFF, 0xFF, NULL}. */
extern const zornodeEvalFuncDescriptor aevalFuncDescriptor[ZORNODE_EVAL_FUNC_ROWS];

/*
** Procedure dictionary: key operator << 16 | left << 8 | right, value the
** procedure (as void *).  NULL until zornodeEvalInitProcDict has run.
*/
extern odict *gpdictNodeProc;

/* Dictionary key of an operator code and two operand types. */
inline uintptr_t zornodeEvalProcKey(unsigned uOperator, unsigned uLeft, unsigned uRight)
{
  return (static_cast<uintptr_t>(uOperator & 0xFFFFu) << 16) | ((uLeft & 0xFFu) << 8) | (uRight & 0xFFu);
}

/*
** zornodeEvalInitProcDict
**   Builds gpdictNodeProc on first use (size hint 520, load factor 80) from
**   every row of aevalFuncDescriptor before the end row; later calls do
**   nothing.  For the binder of the check.
**   Returns 0, or ORC_NOMEM (no dictionary is kept then).
*/
int zornodeEvalInitProcDict(void);

/* ------------------------------------------------------------ entry points */

/*
** zornodeEvalCreate
**   A new evaluation context whose pool has iInitial elements in its first
**   block (0: as many as fit in 4088 bytes, 15) and grows by 50; pcRow NULL,
**   both lengths -1.  The run step passes the tree depth plus one.  Never
**   destroyed.
**   Returns the context, or NULL when memory runs out.
*/
zornodeEvalContext *zornodeEvalCreate(int32_t iInitial);

/*
** zornodeEvalCreateSized
**   As zornodeEvalCreate, with elements whose value area holds character
**   values of iStringMax bytes (at least ZORNODE_STRING_MAX): the string
**   bytes continue past acBytes within the element.  The run step passes
**   zornodeEvalStringRoom of the tree, so that no value of a column of the
**   tree is too long for the evaluation.
*/
zornodeEvalContext *zornodeEvalCreateSized(int32_t iInitial, int32_t iStringMax);

/*
** zornodeEvalStringRoom
**   Bytes the longest character or graphic value of the tree may take: two
**   bytes for each unit of the declared length of every bound column and
**   of every constant, at least ZORNODE_STRING_MAX.
*/
int32_t zornodeEvalStringRoom(const zornode *pnode);

/*
** zornodeEvalSetRecord
**   Points the context at an unload record of ilLength bytes: the row data
**   starts 8 bytes in, the fixed-part length is the i16 at offset 6 (bounded
**   by the row length; a negative one counts as 0).  A record shorter than
**   its header leaves an empty row.
*/
void zornodeEvalSetRecord(zornodeEvalContext *pctx, const char *pcRecord, int32_t ilLength);

/*
** zornodeEvalBool
**   Evaluates the tree for the current record.  REQUIRES: every node bound
**   to its procedure, every column node to its rowColDef.
**   Returns 1 (true), 0 (false), for a NULL result the null indicator minus
**   one (0: the evaluator keeps the indicator of a NULL at 1), or 0 after an
**   evaluation error, which it reports with ZORU365W and the reason code.
**   The root's element goes back to the free list; after an error every
**   element does.
*/
int zornodeEvalBool(zornodeEvalContext *pctx, zornode *pnode);

/*
** zornodeEvalEval
**   Runs the root's procedure; stores 0 through piResult when the result's
**   null indicator is -1, else leaves it.  pUnused is ignored.  The result
**   element is not given back.
**   Returns 0, or the reason code of an evaluation error (nothing is
**   reported then and every element goes back to the free list).
*/
int zornodeEvalEval(zornodeEvalContext *pctx, zornode *pnode, void *pUnused, int32_t *piResult);

/*
** zornodeEvalValueOf
**   Evaluates the tree for the current record and hands its result element
**   to the caller through *ppval, who gives it back (zornodeEvalGive) once
**   the value is read.  REQUIRES: as zornodeEvalBool.
**   Returns 0, or the reason code of an evaluation error (nothing is
**   reported then, *ppval is NULL and every element goes back to the free
**   list).
*/
int zornodeEvalValueOf(zornodeEvalContext *pctx, zornode *pnode, zornodeEvalValue **ppval);

/*
** zornodeEvalDestroy
**   Frees a context and its pool.  For contexts that do not live as long as
**   their process (a writer's conversion threads make one per column and
**   thread).  NULL is ignored.
*/
void zornodeEvalDestroy(zornodeEvalContext *pctx);

/* zornodeEvalPopDb2Internal: does nothing.  Returns 0. */
int zornodeEvalPopDb2Internal(void);

/* ------------------------------------------------------- protocol helpers */

/*
** zornodeEvalJump
**   Abandons the evaluation in progress with iReason (non-zero; 0 is sent
**   as ORC_INVALID).  Does not return.
*/
[[noreturn]] void zornodeEvalJump(int iReason);

/*
** zornodeEvalTake
**   Pops a free element of the context (growing the pool when the free
**   list is empty).  Its fields are left as they were.  Returns the element;
**   a pool that cannot grow ends the evaluation with ORC_NOMEM.
*/
zornodeEvalValue *zornodeEvalTake(zornodeEvalContext *pctx);

/* zornodeEvalGive: pushes an element back on the context's free list. */
inline void zornodeEvalGive(zornodeEvalContext *pctx, zornodeEvalValue *pval)
{
  pval->ulLink = reinterpret_cast<uintptr_t>(pctx->pool.pFree);
  pctx->pool.pFree = pval;
}

/*
** zornodeEvalNode
**   Evaluates an operand through its own procedure.  Returns its element;
**   a missing operand or procedure ends the evaluation with
**   ZORNODE_RC_NOPROC.
*/
zornodeEvalValue *zornodeEvalNode(zornodeEvalContext *pctx, zornode *pnode);

/* -------------------------------------------------------------- procedures */
/*
** Every procedure: (context, node) -> the result element; see the protocol
** above.  Names: _zornodeEvalProc_ + operator family + operand types (left
** first).
*/

/* Leaves. */
zornodeEvalValue *_zornodeEvalProc_LoadVar(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_LoadCste(zornodeEvalContext *pctx, zornode *pnode);

/* Logical operators and IS NULL. */
zornodeEvalValue *_zornodeEvalProc_OR_OP(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_AND_OP(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_NOT_OP(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_ISNULL_OP(zornodeEvalContext *pctx, zornode *pnode);

/*
** Comparisons.  EQU_OP gives L = R under code 0x0c and its negation under
** 0x18; INF_OP L < R under 0x10 and its negation under 0x20; SUP_OP L > R
** under 0x14 and its negation under 0x1c.  NULL when either operand is NULL
** (the right one is not evaluated when the left is NULL).
*/
zornodeEvalValue *_zornodeEvalProc_EQU_OP_CHAR(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_EQU_OP_GRA(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_EQU_OP_INT_INT(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_EQU_OP_INT_BIG(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_EQU_OP_INT_DOUBLE(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_EQU_OP_INT_DEC(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_EQU_OP_BIG_INT(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_EQU_OP_BIG_BIG(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_EQU_OP_BIG_DOUBLE(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_EQU_OP_BIG_DEC(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_EQU_OP_DOUBLE_INT(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_EQU_OP_DOUBLE_BIG(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_EQU_OP_DOUBLE_DOUBLE(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_EQU_OP_DOUBLE_DEC(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_EQU_OP_DEC_INT(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_EQU_OP_DEC_BIG(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_EQU_OP_DEC_DOUBLE(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_EQU_OP_DEC_DEC(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_EQU_OP_DATE_DATE(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_EQU_OP_TIME_TIME(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_EQU_OP_TST_TST(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_INF_OP_CHAR(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_INF_OP_GRA(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_INF_OP_INT_INT(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_INF_OP_INT_BIG(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_INF_OP_INT_DOUBLE(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_INF_OP_INT_DEC(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_INF_OP_BIG_INT(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_INF_OP_BIG_BIG(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_INF_OP_BIG_DOUBLE(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_INF_OP_BIG_DEC(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_INF_OP_DOUBLE_INT(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_INF_OP_DOUBLE_BIG(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_INF_OP_DOUBLE_DOUBLE(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_INF_OP_DOUBLE_DEC(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_INF_OP_DEC_INT(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_INF_OP_DEC_BIG(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_INF_OP_DEC_DOUBLE(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_INF_OP_DEC_DEC(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_INF_OP_DATE_DATE(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_INF_OP_TIME_TIME(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_INF_OP_TST_TST(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_SUP_OP_CHAR(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_SUP_OP_GRA(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_SUP_OP_INT_INT(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_SUP_OP_INT_BIG(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_SUP_OP_INT_DOUBLE(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_SUP_OP_INT_DEC(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_SUP_OP_BIG_INT(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_SUP_OP_BIG_BIG(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_SUP_OP_BIG_DOUBLE(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_SUP_OP_BIG_DEC(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_SUP_OP_DOUBLE_INT(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_SUP_OP_DOUBLE_BIG(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_SUP_OP_DOUBLE_DOUBLE(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_SUP_OP_DOUBLE_DEC(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_SUP_OP_DEC_INT(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_SUP_OP_DEC_BIG(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_SUP_OP_DEC_DOUBLE(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_SUP_OP_DEC_DEC(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_SUP_OP_DATE_DATE(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_SUP_OP_TIME_TIME(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_SUP_OP_TST_TST(zornodeEvalContext *pctx, zornode *pnode);

/*
** Arithmetic and casts: +, -, *, / over INTEGER, BIGINT, DOUBLE and DECIMAL
** operands, unary minus, INTEGER(), REAL(), DATE(), TIME(), TIMESTAMP().
** An INTEGER or BIGINT result outside its type's range (2147483647 + 1,
** -2147483648 / -1, the negation of the smallest value) ends the
** evaluation with ZORNODE_RC_OVERFLOW, as DB2 fails such an operation
** instead of giving a wrapped value; DOUBLE with an integer or a DOUBLE is
** computed in extended precision and rounded once; a DECIMAL meeting a
** DOUBLE is taken as its double.  DECIMAL results are exact; a division
** truncates to the scale in the low byte of the node's length.  A zero
** divisor ends the evaluation with ZORNODE_RC_DIVZERO, as does any failure
** of a division by a decimal; other decimal failures end it with their
** odecimal status; INTEGER() of a value outside -2147483647..2147483647
** (or a NaN) with ZORNODE_RC_INTRANGE.  A NULL operand gives NULL without
** any test.  INTEGER() and REAL() convert their operand's element in place;
** REAL() rounds to single precision, as DB2 converts to REAL.
*/
zornodeEvalValue *_zornodeEvalProc_PLS_OP_INT_INT(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_PLS_OP_INT_BIG(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_PLS_OP_INT_DOUBLE(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_PLS_OP_INT_DEC(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_PLS_OP_BIG_INT(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_PLS_OP_BIG_BIG(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_PLS_OP_BIG_DOUBLE(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_PLS_OP_BIG_DEC(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_PLS_OP_DOUBLE_INT(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_PLS_OP_DOUBLE_BIG(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_PLS_OP_DOUBLE_DOUBLE(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_PLS_OP_DOUBLE_DEC(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_PLS_OP_DEC_INT(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_PLS_OP_DEC_BIG(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_PLS_OP_DEC_DOUBLE(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_PLS_OP_DEC_DEC(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_MNS_OP_INT_INT(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_MNS_OP_INT_BIG(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_MNS_OP_INT_DOUBLE(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_MNS_OP_INT_DEC(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_MNS_OP_BIG_INT(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_MNS_OP_BIG_BIG(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_MNS_OP_BIG_DOUBLE(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_MNS_OP_BIG_DEC(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_MNS_OP_DOUBLE_INT(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_MNS_OP_DOUBLE_BIG(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_MNS_OP_DOUBLE_DOUBLE(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_MNS_OP_DOUBLE_DEC(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_MNS_OP_DEC_INT(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_MNS_OP_DEC_BIG(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_MNS_OP_DEC_DOUBLE(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_MNS_OP_DEC_DEC(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_MLT_OP_INT_INT(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_MLT_OP_INT_BIG(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_MLT_OP_INT_DOUBLE(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_MLT_OP_INT_DEC(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_MLT_OP_BIG_INT(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_MLT_OP_BIG_BIG(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_MLT_OP_BIG_DOUBLE(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_MLT_OP_BIG_DEC(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_MLT_OP_DOUBLE_INT(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_MLT_OP_DOUBLE_BIG(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_MLT_OP_DOUBLE_DOUBLE(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_MLT_OP_DOUBLE_DEC(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_MLT_OP_DEC_INT(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_MLT_OP_DEC_BIG(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_MLT_OP_DEC_DOUBLE(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_MLT_OP_DEC_DEC(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_DIV_OP_INT_INT(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_DIV_OP_INT_BIG(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_DIV_OP_INT_DOUBLE(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_DIV_OP_INT_DEC(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_DIV_OP_BIG_INT(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_DIV_OP_BIG_BIG(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_DIV_OP_BIG_DOUBLE(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_DIV_OP_BIG_DEC(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_DIV_OP_DOUBLE_INT(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_DIV_OP_DOUBLE_BIG(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_DIV_OP_DOUBLE_DOUBLE(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_DIV_OP_DOUBLE_DEC(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_DIV_OP_DEC_INT(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_DIV_OP_DEC_BIG(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_DIV_OP_DEC_DOUBLE(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_DIV_OP_DEC_DEC(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_MNSU_OP_INT(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_MNSU_OP_BIG(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_MNSU_OP_DOUBLE(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_MNSU_OP_DEC(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_INTEGER_OP_INT(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_INTEGER_OP_BIG(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_INTEGER_OP_DOUBLE(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_REAL_OP_INT(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_REAL_OP_BIG(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_REAL_OP_DOUBLE(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_REAL_OP_DEC(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_DATE_OP_DATE(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_TIME_OP_TIME(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_TST_OP_TST(zornodeEvalContext *pctx, zornode *pnode);

#endif
