/*
** zornodedur.h
**   Evaluation procedures of the two date/time operators of a WHERE tree:
**   DUREE (0xe0), a DATE, TIME or TIMESTAMP plus or minus a duration, and
**   DIFFTEMPS (0xe4), the difference of two dates, times or timestamps.
**   The procedure table of the evaluator binds them; they follow its
**   protocol (operands evaluated through their own procedures, elements
**   taken from and given back to the context's pool) and do the calendar
**   work with otime.
**
**   DUREE: one operand is the date/time, the other a CONT_DUREE container
**   whose left slot is the amount and whose right slot holds the unit word
**   as a value:
**     bits 0x1c  unit: 0x04 microseconds, 0x08 seconds, 0x0c minutes,
**                0x10 hours, 0x14 days, 0x18 months, 0x1c years; 0 for a
**                DECIMAL duration (yyyymmdd, hhmmss, yyyymmddhhmmss.nnnnnn)
**     0x40000    the duration is subtracted
**   The INT members take a labelled amount (any numeric type: integers
**   exactly, doubles truncated toward zero, decimals by their integer
**   part); the DEC members a DECIMAL duration.  The date/time operand's own
**   element is changed in place and returned, its link word set to 0x2220,
**   0x2224 or 0x2228.  A TIME wraps around midnight; a DATE or TIMESTAMP
**   leaving 0001-01-01..9999-12-31 ends the evaluation of the record with
**   otime's status (0x7a001 year, 0x7a002 date).
**
**   DIFFTEMPS returns a new DECIMAL element (link word 0x280c) holding the
**   duration a - b in DB2's encoding: DEC(8,0) yyyymmdd, DEC(6,0) hhmmss,
**   DEC(20,6) yyyymmddhhmmss.nnnnnn; a NULL operand gives NULL.
**
**   One thread per process evaluates (the evaluator's rule).
*/
#ifndef ZAV_EXPR_ZORNODEDUR_H
#define ZAV_EXPR_ZORNODEDUR_H

#include "expr/zornode.h"

/* Unit word of a CONT_DUREE container. */
#define ZORNODE_DUR_UNIT     0x1cu
#define ZORNODE_DUR_MICRO    0x04u
#define ZORNODE_DUR_SECOND   0x08u
#define ZORNODE_DUR_MINUTE   0x0cu
#define ZORNODE_DUR_HOUR     0x10u
#define ZORNODE_DUR_DAY      0x14u
#define ZORNODE_DUR_MONTH    0x18u
#define ZORNODE_DUR_YEAR     0x1cu
#define ZORNODE_DUR_SUBTRACT 0x40000u

/* Date/time on the left, container on the right. */
zornodeEvalValue *_zornodeEvalProc_DUREE_OP_DATE_INT(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_DUREE_OP_TIME_INT(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_DUREE_OP_TST_INT(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_DUREE_OP_DATE_DEC(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_DUREE_OP_TIME_DEC(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_DUREE_OP_TST_DEC(zornodeEvalContext *pctx, zornode *pnode);

/* Container on the left, date/time on the right (evaluated first). */
zornodeEvalValue *_zornodeEvalProc_DUREE_OP_INT_DATE(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_DUREE_OP_INT_TIME(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_DUREE_OP_INT_TST(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_DUREE_OP_DEC_DATE(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_DUREE_OP_DEC_TIME(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_DUREE_OP_DEC_TST(zornodeEvalContext *pctx, zornode *pnode);

/* Differences of two values of the same type. */
zornodeEvalValue *_zornodeEvalProc_DIFFTEMPS_OP_DATE(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_DIFFTEMPS_OP_TIME(zornodeEvalContext *pctx, zornode *pnode);
zornodeEvalValue *_zornodeEvalProc_DIFFTEMPS_OP_TST(zornodeEvalContext *pctx, zornode *pnode);

#endif
