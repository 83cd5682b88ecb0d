/*
** zornodedur.cpp
**   DUREE and DIFFTEMPS evaluation procedures: a date, time or timestamp
**   plus or minus a labelled or DECIMAL duration, and the difference of two
**   such values as a DECIMAL duration (see zornodedur.h).  They run in the
**   reader processes under zornodeEvalBool, take and give back elements of
**   the context's pool and abandon a record through zornodeEvalJump.
**
**   Amounts are counted in 64 bits: a BIGINT, DOUBLE or DECIMAL amount
**   outside the 32-bit range still moves the value by exactly that amount
**   (a TIME by that amount modulo one day); an amount beyond 64 bits, or a
**   DOUBLE that is not a number, ends the evaluation with OTIME_DATE.
*/
#include "expr/zornodedur.h"

#include <climits>
#include <cmath>
#include <cstdint>

#include "expr/odecimal.h"
#include "expr/otime.h"
#include "expr/zornodeeval.h"

/* Kind of date/time operand of a procedure. */
enum durKind { DUR_DATE, DUR_TIME, DUR_TST };

static uint16_t _durCtrlType(durKind eKind)
{
  switch (eKind) {
    case DUR_DATE: return NODE_T_VDTE;
    case DUR_TIME: return NODE_T_VTME;
    default: return NODE_T_VTST;
  }
}

static void _durToExtended(otime *pTime, durKind eKind)
{
  switch (eKind) {
    case DUR_DATE: otimePacked2ExtendedDate(pTime); break;
    case DUR_TIME: otimePacked2ExtendedTime(pTime); break;
    default: otimePacked2ExtendedTimestamp(pTime); break;
  }
}

static void _durToPacked(otime *pTime, durKind eKind)
{
  switch (eKind) {
    case DUR_DATE: otimeExtended2PackedDate(pTime); break;
    case DUR_TIME: otimeExtended2PackedTime(pTime); break;
    default: otimeExtended2PackedTimestamp(pTime); break;
  }
}

/* ------------------------------------------------------------ amounts */

/* A count that a 32-bit operation can take; larger ones leave the date range anyway. */
static int32_t _durClamp(int64_t ll)
{
  if (ll > INT32_MAX) return INT32_MAX;
  if (ll < -INT32_MAX) return -INT32_MAX;
  return static_cast<int32_t>(ll);
}

/* Integer part of a decimal into *pll; false when it does not fit in 64 bits. */
static bool _durDecimalToBig(const odecimal *pDec, int64_t *pll)
{
  if (pDec->iOverflow != 0 || pDec->aiWord[ODEC_INT(3)] != 0 || pDec->aiWord[ODEC_INT(2)] > 9) return false;
  /* at most 9 * 10^18 + 10^18 - 1: within int64 */
  int64_t ll = static_cast<int64_t>(pDec->aiWord[ODEC_INT(2)]) * 1000000000000000000LL +
               static_cast<int64_t>(pDec->aiWord[ODEC_INT(1)]) * 1000000000LL + pDec->aiWord[ODEC_INT(0)];
  *pll = pDec->iSign == 1 ? -ll : ll;
  return true;
}

/*
** The count of a labelled duration from the amount's element, read by the
** type of the amount node.  Ends the evaluation when it has none.
*/
static int64_t _durAmount(const zornode *pnodeAmount, const zornodeEvalValue *pval)
{
  switch (pnodeAmount->usCtrlType & 0xFF) {
    case NODE_CTINT:
    case NODE_CTSMI:
      return pval->u.iValue;
    case NODE_CTBIG:
      return zornodeEvalGetBig(pval);
    case NODE_CTFLT: {
      double d = std::trunc(zornodeEvalGetDouble(pval));
      /* 2^63 is the first double past the int64 range */
      if (!(d > -9223372036854775808.0 && d < 9223372036854775808.0)) zornodeEvalJump(OTIME_DATE);
      return static_cast<int64_t>(d);
    }
    case NODE_CTDEC: {
      if (pval->u.dec.iCount < 1) zornodeEvalJump(ODEC_INVALID);
      int64_t ll;
      if (!_durDecimalToBig(&pval->u.dec, &ll)) zornodeEvalJump(OTIME_DATE);
      return ll;
    }
    default:
      zornodeEvalJump(ZORNODE_RC_BADOPERAND);
  }
}

/*
** Moves a timestamp by n units of iPerDay to a day (hours 24, minutes 1440,
** seconds 86400) with carry into the date: whole days first, then the rest,
** so that any 64-bit count is applied exactly.
*/
static int _durAddTimeUnits(otime *pTime, int64_t n, int64_t iPerDay, int (*pfnAdd)(otime *, int32_t, int32_t))
{
  if (n >= -INT32_MAX && n <= INT32_MAX) return pfnAdd(pTime, static_cast<int32_t>(n), 1);
  int rc = otimeExtendedAddDay(pTime, _durClamp(n / iPerDay));
  if (rc == 0) rc = pfnAdd(pTime, static_cast<int32_t>(n % iPerDay), 1);
  return rc;
}

/* Applies n units to a value of the kind; other units leave it unchanged.  Returns otime's status. */
static int _durApplyUnit(otime *pTime, durKind eKind, unsigned uUnit, int64_t n)
{
  if (eKind == DUR_TIME) {
    /* a time of day wraps: only the count modulo one day matters */
    switch (uUnit) {
      case ZORNODE_DUR_SECOND: return otimeExtendedAddSecond(pTime, static_cast<int32_t>(n % 86400), 0);
      case ZORNODE_DUR_MINUTE: return otimeExtendedAddMinute(pTime, static_cast<int32_t>(n % 1440), 0);
      case ZORNODE_DUR_HOUR: return otimeExtendedAddHour(pTime, static_cast<int32_t>(n % 24), 0);
      default: return 0;
    }
  }
  switch (uUnit) {
    case ZORNODE_DUR_DAY: return otimeExtendedAddDay(pTime, _durClamp(n));
    case ZORNODE_DUR_MONTH: return otimeExtendedAddMonth(pTime, _durClamp(n));
    case ZORNODE_DUR_YEAR: return otimeExtendedAddYear(pTime, _durClamp(n));
    default: break;
  }
  if (eKind != DUR_TST) return 0;
  switch (uUnit) {
    case ZORNODE_DUR_MICRO: {
      if (n >= -INT32_MAX && n <= INT32_MAX) return otimeExtendedAddMicro(pTime, static_cast<int32_t>(n));
      int rc = _durAddTimeUnits(pTime, n / 1000000, 86400, otimeExtendedAddSecond);
      if (rc == 0) rc = otimeExtendedAddMicro(pTime, static_cast<int32_t>(n % 1000000));
      return rc;
    }
    case ZORNODE_DUR_SECOND: return _durAddTimeUnits(pTime, n, 86400, otimeExtendedAddSecond);
    case ZORNODE_DUR_MINUTE: return _durAddTimeUnits(pTime, n, 1440, otimeExtendedAddMinute);
    case ZORNODE_DUR_HOUR: return _durAddTimeUnits(pTime, n, 24, otimeExtendedAddHour);
    default: return 0;
  }
}

/* ------------------------------------------------------- DECIMAL durations */

/* Decodes a DECIMAL duration (yyyymmdd, hhmmss or yyyymmddhhmmss.nnnnnn) and applies it. */
static int _durApplyDecimal(otime *pTime, durKind eKind, const odecimal *pDec)
{
  otime dur;
  otimeExtendedInit(&dur);
  int32_t w0 = pDec->aiWord[ODEC_INT(0)];
  switch (eKind) {
    case DUR_DATE:
      dur.uiFlags |= OTIME_F_DUR_DATE;
      dur.iCentury = w0 / 1000000;
      dur.iYear = w0 % 1000000 / 10000;
      dur.iMonth = w0 % 10000 / 100;
      dur.iDay = w0 % 100;
      break;
    case DUR_TIME:
      dur.uiFlags |= OTIME_F_DUR_TIME;
      dur.iHour = w0 / 10000;
      dur.iMinute = w0 % 10000 / 100;
      dur.iSecond = w0 % 100;
      break;
    default: {
      int32_t w1 = pDec->aiWord[ODEC_INT(1)] % 100000;
      dur.uiFlags |= OTIME_F_DUR_TST;
      dur.iCentury = w1 / 1000;
      dur.iYear = w1 % 1000 / 10;
      dur.iMonth = w1 % 10 * 10 + w0 / 100000000;
      dur.iDay = w0 % 100000000 / 1000000;
      dur.iHour = w0 % 1000000 / 10000;
      dur.iMinute = w0 % 10000 / 100;
      dur.iSecond = w0 % 100;
      dur.iMicro = pDec->aiWord[ODEC_FRAC(0)] / 1000;
      break;
    }
  }
  if (pDec->iSign == 1) dur.uiFlags |= OTIME_F_NEGATIVE;
  switch (eKind) {
    case DUR_DATE: return otimeExtendedAddDateDuration(pTime, &dur);
    case DUR_TIME: return otimeExtendedAddTimeDuration(pTime, &dur);
    default: return otimeExtendedAddTimestampDuration(pTime, &dur);
  }
}

/* ----------------------------------------------------------- DUREE */

/*
** One DUREE procedure: the date/time operand is evaluated first (the
** container is on the other side), then the amount; the date/time's own
** element carries the result.
*/
static zornodeEvalValue *_durEval(zornodeEvalContext *pctx, zornode *pnode, durKind eKind, bool boDecimal,
                                  bool boContainerLeft)
{
  zornode *pnodeValue = static_cast<zornode *>(boContainerLeft ? pnode->pRight : pnode->pLeft);
  zornode *pnodeCont = static_cast<zornode *>(boContainerLeft ? pnode->pLeft : pnode->pRight);
  zornodeEvalValue *pvalD = zornodeEvalNode(pctx, pnodeValue);
  pvalD->ulLink = _durCtrlType(eKind);
  if (pvalD->iNull != 0) return pvalD;
  if (pnodeCont == nullptr) zornodeEvalJump(ZORNODE_RC_NOPROC);
  zornode *pnodeAmount = static_cast<zornode *>(pnodeCont->pLeft);
  zornodeEvalValue *pvalA = zornodeEvalNode(pctx, pnodeAmount);
  if (pvalA->iNull != 0) {
    pvalD->iNull = pvalA->iNull;
    zornodeEvalGive(pctx, pvalA);
    return pvalD;
  }
  unsigned uWord = static_cast<unsigned>(zornodeRightValue(pnodeCont));
  bool boSubtract = (uWord & ZORNODE_DUR_SUBTRACT) != 0;
  int rc;
  if (boDecimal) {
    if (pvalA->u.dec.iCount < 1) zornodeEvalJump(ODEC_INVALID);
    if (boSubtract) pvalA->u.dec.iSign ^= 1;
    _durToExtended(&pvalD->u.time, eKind);
    rc = _durApplyDecimal(&pvalD->u.time, eKind, &pvalA->u.dec);
  } else {
    int64_t n = _durAmount(pnodeAmount, pvalA);
    if (boSubtract) {
      /* the most negative count has no opposite: it moves out of range in any unit but a TIME's */
      if (n == INT64_MIN) n = eKind == DUR_TIME ? -(n % 86400) : INT64_MAX;
      else n = -n;
    }
    _durToExtended(&pvalD->u.time, eKind);
    rc = _durApplyUnit(&pvalD->u.time, eKind, uWord & ZORNODE_DUR_UNIT, n);
  }
  if (rc != 0) zornodeEvalJump(rc);
  _durToPacked(&pvalD->u.time, eKind);
  pvalD->iNull = pvalA->iNull;
  zornodeEvalGive(pctx, pvalA);
  return pvalD;
}

zornodeEvalValue *_zornodeEvalProc_DUREE_OP_DATE_INT(zornodeEvalContext *pctx, zornode *pnode)
{
  return _durEval(pctx, pnode, DUR_DATE, false, false);
}
zornodeEvalValue *_zornodeEvalProc_DUREE_OP_TIME_INT(zornodeEvalContext *pctx, zornode *pnode)
{
  return _durEval(pctx, pnode, DUR_TIME, false, false);
}
zornodeEvalValue *_zornodeEvalProc_DUREE_OP_TST_INT(zornodeEvalContext *pctx, zornode *pnode)
{
  return _durEval(pctx, pnode, DUR_TST, false, false);
}
zornodeEvalValue *_zornodeEvalProc_DUREE_OP_DATE_DEC(zornodeEvalContext *pctx, zornode *pnode)
{
  return _durEval(pctx, pnode, DUR_DATE, true, false);
}
zornodeEvalValue *_zornodeEvalProc_DUREE_OP_TIME_DEC(zornodeEvalContext *pctx, zornode *pnode)
{
  return _durEval(pctx, pnode, DUR_TIME, true, false);
}
zornodeEvalValue *_zornodeEvalProc_DUREE_OP_TST_DEC(zornodeEvalContext *pctx, zornode *pnode)
{
  return _durEval(pctx, pnode, DUR_TST, true, false);
}
zornodeEvalValue *_zornodeEvalProc_DUREE_OP_INT_DATE(zornodeEvalContext *pctx, zornode *pnode)
{
  return _durEval(pctx, pnode, DUR_DATE, false, true);
}
zornodeEvalValue *_zornodeEvalProc_DUREE_OP_INT_TIME(zornodeEvalContext *pctx, zornode *pnode)
{
  return _durEval(pctx, pnode, DUR_TIME, false, true);
}
zornodeEvalValue *_zornodeEvalProc_DUREE_OP_INT_TST(zornodeEvalContext *pctx, zornode *pnode)
{
  return _durEval(pctx, pnode, DUR_TST, false, true);
}
zornodeEvalValue *_zornodeEvalProc_DUREE_OP_DEC_DATE(zornodeEvalContext *pctx, zornode *pnode)
{
  return _durEval(pctx, pnode, DUR_DATE, true, true);
}
zornodeEvalValue *_zornodeEvalProc_DUREE_OP_DEC_TIME(zornodeEvalContext *pctx, zornode *pnode)
{
  return _durEval(pctx, pnode, DUR_TIME, true, true);
}
zornodeEvalValue *_zornodeEvalProc_DUREE_OP_DEC_TST(zornodeEvalContext *pctx, zornode *pnode)
{
  return _durEval(pctx, pnode, DUR_TST, true, true);
}

/* --------------------------------------------------------- DIFFTEMPS */

static zornodeEvalValue *_durDiff(zornodeEvalContext *pctx, zornode *pnode, durKind eKind)
{
  zornodeEvalValue *pvalR = zornodeEvalTake(pctx);
  pvalR->ulLink = NODE_T_VDEC;
  zornodeEvalValue *pvalA = zornodeEvalNode(pctx, static_cast<zornode *>(pnode->pLeft));
  if (pvalA->iNull != 0) {
    pvalR->iNull = pvalA->iNull;
    zornodeEvalGive(pctx, pvalA);
    return pvalR;
  }
  zornodeEvalValue *pvalB = zornodeEvalNode(pctx, static_cast<zornode *>(pnode->pRight));
  pvalR->iNull = pvalB->iNull;
  if (pvalB->iNull != 0) {
    zornodeEvalGive(pctx, pvalB);
    zornodeEvalGive(pctx, pvalA);
    return pvalR;
  }
  _durToExtended(&pvalA->u.time, eKind);
  _durToExtended(&pvalB->u.time, eKind);
  otime dur;
  int rc;
  switch (eKind) {
    case DUR_DATE: rc = otimeExtendedDiffDate(&dur, &pvalA->u.time, &pvalB->u.time); break;
    case DUR_TIME: rc = otimeExtendedDiffTime(&dur, &pvalA->u.time, &pvalB->u.time); break;
    default: rc = otimeExtendedDiffTimestamp(&dur, &pvalA->u.time, &pvalB->u.time); break;
  }
  /* a value that is not a real date has no difference */
  if (rc != 0) zornodeEvalJump(rc);

  odecimal *pDec = &pvalR->u.dec;
  _decClean(pDec);
  pDec->iSign = (dur.uiFlags & OTIME_F_NEGATIVE) ? 1 : 0;
  int32_t iYears = dur.iCentury * 100 + dur.iYear;
  switch (eKind) {
    case DUR_DATE:
      pDec->iCount = 1;
      pDec->aiWord[ODEC_INT(0)] = iYears * 10000 + dur.iMonth * 100 + dur.iDay;
      break;
    case DUR_TIME:
      pDec->iCount = 1;
      pDec->aiWord[ODEC_INT(0)] = dur.iHour * 10000 + dur.iMinute * 100 + dur.iSecond;
      break;
    default:
      pDec->iCount = 2;
      pDec->aiWord[ODEC_INT(1)] = iYears * 10 + dur.iMonth / 10;
      pDec->aiWord[ODEC_INT(0)] =
          dur.iMonth % 10 * 100000000 + dur.iDay * 1000000 + dur.iHour * 10000 + dur.iMinute * 100 + dur.iSecond;
      pDec->aiWord[ODEC_FRAC(0)] = dur.iMicro * 1000;
      break;
  }
  zornodeEvalGive(pctx, pvalB);
  zornodeEvalGive(pctx, pvalA);
  return pvalR;
}

zornodeEvalValue *_zornodeEvalProc_DIFFTEMPS_OP_DATE(zornodeEvalContext *pctx, zornode *pnode)
{
  return _durDiff(pctx, pnode, DUR_DATE);
}
zornodeEvalValue *_zornodeEvalProc_DIFFTEMPS_OP_TIME(zornodeEvalContext *pctx, zornode *pnode)
{
  return _durDiff(pctx, pnode, DUR_TIME);
}
zornodeEvalValue *_zornodeEvalProc_DIFFTEMPS_OP_TST(zornodeEvalContext *pctx, zornode *pnode)
{
  return _durDiff(pctx, pnode, DUR_TST);
}
