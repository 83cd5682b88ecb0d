/*
** zornodechk.h
**   Expression check.  Before a SELECT is unloaded the control step passes
**   every SELECT-list expression and the WHERE tree through
**   zornodeCheckExpression, which resolves the column references against the
**   table's column chain, types every node by DB2's rules (control type,
**   length, nullability, external type), rewrites constants and operator
**   shapes where the rules ask for it (date/time literals, numeric lists,
**   date/time arithmetic, LIKE patterns, CHAR() arguments), resolves the
**   code pages of the checked tree (expr/zornodecnv.h) and binds every node
**   to its evaluation procedure (expr/zornodeeval.h).
**
**   What the caller tests afterwards:
**     - the result: 0 when every operator found a procedure (or is a
**       container), ZORNODE_RC_NOPROC when one did not (the WHERE step then
**       hands the SELECT to DB2 when the request allows it);
**     - the root: a node that failed keeps control type 0 (NODE_T_INC), and
**       so does every operator above it that tests the failed operand; a
**       WHERE root must come out NODE_T_BOOL; a SELECT-list root gives the
**       output column its type, length, status and CCSID.
**   Every failure is reported where it is found: "ZORU010I" with the node's
**   position, then the failure's own message (ZORU024E, ZORU025E, ...).
**   Messages go through omsgsFMTEDO; the control step keeps them deferred.
**
**   The check rewrites the tree in place and is made once per tree: a
**   second check refuses the DIFFTEMPS nodes the first one made and would
**   compile a LIKE pattern's tokens again.  Main process, one thread; the
**   procedure dictionary is built on first use and kept for the process.
*/
#ifndef ZAV_EXPR_ZORNODECHK_H
#define ZAV_EXPR_ZORNODECHK_H

#include "common/oreason.h"

struct ochaine;
struct zornode;

/* Reason codes of the check (module 0x106), beside those of zornode.h and zornodecnv.h. */
#define ZORNODE_RC_CHROPERAND ORC_MAKE(0x106, 2, 0x005)  /* 0x106a005 invalid operand of CHAR() */
#define ZORNODE_RC_CHRRANGE   ORC_MAKE(0x106, 2, 0x006)  /* 0x106a006 CHAR() length outside 1..255 */
#define ZORNODE_RC_CHRLENGTH  ORC_MAKE(0x106, 2, 0x007)  /* 0x106a007 CHAR() length not an INTEGER constant */
#define ZORNODE_RC_NOLIST     ORC_MAKE(0x106, 2, 0x009)  /* 0x106a009 IN without a list */
#define ZORNODE_RC_LIKE       ORC_MAKE(0x106, 2, 0x00e)  /* 0x106a00e bad LIKE pattern or escape */
#define ZORNODE_RC_CASETYPES  ORC_MAKE(0x106, 2, 0x00f)  /* 0x106a00f CASE results of incompatible types */
#define ZORNODE_RC_DURUNIT    ORC_MAKE(0x106, 2, 0x012)  /* 0x106a012 duration unit not for that type */
#define ZORNODE_RC_CASEDATE   ORC_MAKE(0x106, 1, 0x001)  /* 0x1069001 CASE results to bring to a date/time type */

/*
** zornodeCheckExpression
**   Checks a tree against a column chain (NULL: column references are typed
**   from their own descriptors, without resolution), resolves the code
**   pages of a tree that checked, and binds every node of the tree to its
**   evaluation procedure, whatever the check found.
**   Returns 0; ZORNODE_RC_NOPROC when an operator has no evaluation
**   procedure; ORC_NOMEM when the procedure dictionary cannot be built.
**   A check failure shows in its messages and in control type 0 on the
**   root (see above), not in the result.
*/
int zornodeCheckExpression(zornode *pnode, const ochaine *pchaine);

/*
** zornodeCheckSetTable
**   The table (its qualified name) that ZORU024E names for a column it does
**   not hold, in the checks that follow; NULL names none.  The text is
**   copied.
*/
void zornodeCheckSetTable(const char *pcTable);

/*
** _zornodeCheckExpression
**   The check walk.  Returns 0 for a NULL node and for a constant, the
**   column check's result for a column (0, ZORCOL_RC_NOCOLUMN), the
**   operator check's result for an operator (0 or the ZORNODE_RC_* code of
**   the failure), ZORNODE_RC_BADKIND for a node of an unknown kind.
*/
int _zornodeCheckExpression(zornode *pnode, const ochaine *pchaine);

/*
** _zornodeDetermineNodeProc
**   Binds a tree: constants to _zornodeEvalProc_LoadCste, columns to
**   _zornodeEvalProc_LoadVar, each operator (right operand first, then
**   left) to the procedure the dictionary holds for its code and the data
**   type codes of its operands, trying (code, left, right), (code, left,
**   any), (code, any, any).  A container (negative code) without procedure
**   is accepted; its procedure stays NULL.
**   Returns 0, ZORNODE_RC_NOPROC for the first operator without procedure,
**   ORC_NOMEM when the dictionary cannot be built.
*/
int _zornodeDetermineNodeProc(zornode *pnode);

#endif
