/*
** zordyacc.h
**   Parser of SQL text: the SELECT statement of a SELECT block of the
**   control file (a sub-stream of the control file, so positions are
**   control-file lines and columns) and the stored CREATE VIEW statements of
**   a view ("DDL " followed by the statements).  It accepts one table, a
**   select list of expressions, an optional WHERE condition and an optional
**   ORDER clause, and CREATE VIEW over one table with a plain column list,
**   and turns them into column chains, expression trees and atoms of the
**   request model.  What it does not accept is reported (messages through
**   omsgsFMTEDO, so deferred when the caller defers) and flagged; the caller
**   then sends the SELECT to DB2 or fails it.
**
**   The parser is generated from control/zordyacc.y: LALR(1), pure (its
**   state lives in its own frame and in the parser context), locations of
**   type ostreamLocation, a state stack of 200 entries that never grows.
**   Its step-by-step debug trace goes to the $GRAMDB trace keyword.
**
**   Results, written into the parser context (common/oyacc.h), all
**   belonging to the caller:
**     plistResult    complete SELECT statement: reference list (its nodes do
**                    not own the atoms) of TBQUALIFIER (FROM q.t only),
**                    TBNAME, SELECT, WHERE (when given), ORDER (when given);
**     pvalResult     a SELECT clause without FROM, a bare WHERE clause or a
**                    bare ORDER clause: that clause's atom;
**     pnameResult    the atom name SELECT, WHERE or ORDER of the root taken;
**                    NULL for a bare condition or a view text;
**     pnodeCondition a bare search condition;
**     ptaskResult    view text: task GLOBAL whose sub-tasks are the view
**                    tasks (VIEW, SELECT, TBQUALIFIER, TBNAME) in text order;
**     iErrorLevel    8 when the text is unusable (never cleared);
**     ulParseStatus  bit ZORDYACC_NOT_NATIVE when the text holds something
**                    this grammar does not handle natively.
**   Single-threaded; one parse per context.
*/
#ifndef ZAV_CONTROL_ZORDYACC_H
#define ZAV_CONTROL_ZORDYACC_H

#include <cstdint>

#include "common/oyacc.h"
#include "control/zordlex.h"

struct zornode;

/* ulParseStatus bit: the text is SQL that the native grammar does not take. */
#define ZORDYACC_NOT_NATIVE 0x4u

/* iErrorLevel of an unusable text. */
#define ZORDYACC_LEVEL_UNUSABLE 8

/* pData word of a column chain standing for SELECT * ("STA"). */
#define ZORDYACC_SELECT_STAR 0xE2E3C1u
/* pData word of the ORDER chain of ORDER CLUSTER(ED). */
#define ZORDYACC_ORDER_CLUSTER 1u

/*
** zordyyparse
**   Parses the whole text of the context's stream; the context must have
**   been initialised over aplexContextDefDb2.
**   Returns 0 when a root was accepted (errors taken by recovery rules then
**   show only in iErrorLevel and ulParseStatus), 1 when the parse was
**   abandoned (an error no recovery rule takes, a recovery that ends the
**   parse, or a CREATE VIEW whose SELECT clause failed), 2 when the state
**   stack (200 entries) is full.
*/
int zordyyparse(oyacc *pyacc);

/* The generator's debug switch: 1, never changed; the $GRAMDB trace keyword decides. */
extern int zordyydebug;

/*
** zordyaccUpdateSimpleWhen
**   Rewrites the chain of a simple CASE (IF -> CONT_IF -> IF -> ...), built
**   with the WHEN values as conditions: each IF node's condition w becomes
**   NODE_EQU_OP(x, w) without positions, where x is pnodeOperand for the
**   first IF node and a copy of it for every further one, so that each node
**   owns its operands.  pnodeOperand is taken over (destroyed when the chain
**   is empty).
**   Returns 0, ORC_INVALID for a NULL operand, ORC_NOMEM when a node or a
**   copy cannot be made (the chain is then left partly rewritten and still
**   owns everything it holds; the operand is destroyed unless linked).
*/
int zordyaccUpdateSimpleWhen(oyacc *pyacc, zornode *pnodeWhen, zornode *pnodeOperand);

#endif
