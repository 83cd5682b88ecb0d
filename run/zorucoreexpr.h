/*
** zorucoreexpr.h
**   Computed columns of a SELECT list read directly.  A SELECT-list item that
**   is an expression the evaluator takes (arithmetic, unary minus, INTEGER(),
**   REAL(), DATE(), TIME(), TIMESTAMP(), date arithmetic, constants) has no
**   place in the record: its column converter, _zorucore_Expression,
**   evaluates the item's tree on the record, lays the value out as DB2
**   stores a value of the item's result type (a DECIMAL(11,3) as 6 packed
**   bytes, a DATE as 4, ...; the null byte after it when the item is
**   nullable) and hands it to the converter of that type, the one a stored
**   column of the type has in the conversion table.  A computed DECIMAL is
**   thus written in DEL and IXF exactly as a stored DECIMAL is.
**
**   The run step makes one zorucoreExpr per computed column: it binds the
**   tree to the record layout, puts the zorucoreExpr in the source column
**   definition's pExtra (value offset 0) and, once the converter is made,
**   calls zorucoreExprBind, which keeps the column's converter and puts
**   _zorucore_Expression in its place.
**
**   Threads.  The zorucoreExpr and its tree are only read while rows are
**   converted; the evaluation context and the buffer holding the laid-out
**   value are per thread (a writer converts on several threads), made on a
**   thread's first row and freed when the thread ends.
*/
#ifndef ZAV_RUN_ZORUCOREEXPR_H
#define ZAV_RUN_ZORUCOREEXPR_H

#include <cstdint>

#include "model/oconvert.h"

struct zornode;
struct zornodeEvalValue;

/* Reason code of a row whose computed value fails (module 0x010): the row ends there. */
#define ZORUCORE_RC_EXPR 0x10a00d   /* evaluation error (division by zero, overflow), or a value its type cannot hold */

struct zorucoreExpr {
  zornode      *pnode;       /* the item's tree, bound to the record layout (not owned) */
  oconvertFunc  funcValue;   /* converter of a stored column of the result type */
  int32_t       iStringMax;  /* value room of the evaluation contexts (zornodeEvalStringRoom) */
  int32_t       iDepth;      /* pool elements of an evaluation context: tree depth + 1 */
};

/*
** zorucoreExprBind
**   Makes column iColumn of the converter a computed one: the converter
**   looked up for it becomes pexpr->funcValue, _zorucore_Expression takes
**   its place.  REQUIRES: the column's source definition carries pexpr in
**   pExtra and value offset 0.
**   Returns 0, or ORC_INVALID for a column outside the converter or one
**   without converter.
*/
int zorucoreExprBind(oconvert *pconvert, int32_t iColumn, zorucoreExpr *pexpr);

/*
** zorucoreExprLayout
**   Lays out the value of an evaluation result as a record of one column:
**   the 8-byte record header (bytes 6-7 the fixed-part length), the value
**   in DB2's stored form for the column type key iType (internal type id in
**   the low byte, COLKEY_NULLABLE) and subtype iSubType, then its null byte
**   when the key is nullable; a VARCHAR has its 4-byte slot there and its
**   bytes after the null byte.  Character values are padded with usPad (or
**   cut) to a CHAR's length.  pucRecord holds ilRoom bytes.
**   Returns the record's length, or -1 when the value does not fit the type
**   (a DECIMAL over its precision, a NULL of a column that is not nullable,
**   a type without stored form here) or the room.
*/
int32_t zorucoreExprLayout(const zornodeEvalValue *pval, int32_t iType, int32_t iSubType, uint16_t usPad,
                           unsigned char *pucRecord, int32_t ilRoom);

/*
** _zorucore_Expression
**   The column converter of a computed column (see above).  Returns what the
**   result type's converter returns, or ZORUCORE_RC_EXPR when the evaluation
**   fails or its value has no stored form (the row is then not written and
**   is counted as not converted); ZORUCORE_RC_NOCOLUMN (run/zorucoredel.h)
**   for a row or column without what it needs.
*/
int _zorucore_Expression(orow *prowSource, orow *prowTarget);

#endif
