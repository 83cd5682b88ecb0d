/*
** zornodeeval.cpp
**   WHERE evaluation (see zornodeeval.h): the evaluation context and its
**   pool, the jump context, the loads of column values and constants, the
**   logical operators, IS NULL, the comparisons, the arithmetic and cast
**   procedures and the procedure table.  Runs in the reader processes, one
**   evaluation at a time per process.
**
**   Records are little-endian (the byte order of the machine that wrote the
**   containers) and read through common/obyte.h; constant buffers hold
**   their numbers in machine order.
*/
#include "expr/zornodeeval.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "common/obyte.h"
#include "common/odict.h"
#include "common/omsgs.h"
#include "model/zormsgs.h"
#include "expr/zornodedur.h"
#include "model/orow.h"

zornodeJumpContext gjumpContext = {nullptr, 0};
odict *gpdictNodeProc = nullptr;

/* What zornodeEvalJump throws; caught only by zornodeEvalBool and zornodeEvalEval. */
struct _zornodeEvalAbort {
  int iReason;
};

/* ===================================================== context and protocol */

void zornodeEvalJump(int iReason)
{
  throw _zornodeEvalAbort{iReason != 0 ? iReason : ORC_INVALID};
}

zornodeEvalValue *zornodeEvalTake(zornodeEvalContext *pctx)
{
  void *pElem = pctx->pool.pFree;
  if (pElem == nullptr) {
    pElem = _poolExtend(&pctx->pool);
    if (pElem == nullptr) zornodeEvalJump(ORC_NOMEM);
    return static_cast<zornodeEvalValue *>(pElem);
  }
  void *pNext;
  std::memcpy(&pNext, pElem, sizeof pNext);
  pctx->pool.pFree = pNext;
  return static_cast<zornodeEvalValue *>(pElem);
}

zornodeEvalValue *zornodeEvalNode(zornodeEvalContext *pctx, zornode *pnode)
{
  if (pnode == nullptr || pnode->procEval == nullptr) zornodeEvalJump(ZORNODE_RC_NOPROC);
  return pnode->procEval(pctx, pnode);
}

/*
** Puts every element of every block back on the free list: after an
** abandoned evaluation the elements its procedures held are unknown.  The
** oldest block (the last of the list) holds the initial count, the others
** the growth count.
*/
static void _evalReclaim(zornodeEvalContext *pctx)
{
  opool *ppool = &pctx->pool;
  void *pFree = nullptr;
  void *pBlock = ppool->pBlocks;
  while (pBlock != nullptr) {
    void *pPrev;
    std::memcpy(&pPrev, pBlock, sizeof pPrev);
    int32_t iCount = pPrev == nullptr ? ppool->iInitial : ppool->iGrowth;
    char *pcFirst = static_cast<char *>(pBlock) + pctx->uiElemOffset;
    for (int32_t i = iCount - 1; i >= 0; i--) {
      char *pcElem = pcFirst + static_cast<size_t>(ppool->uiElemSize) * i;
      std::memcpy(pcElem, &pFree, sizeof pFree);
      pFree = pcElem;
    }
    pBlock = pPrev;
  }
  ppool->pFree = pFree;
}

zornodeEvalContext *zornodeEvalCreate(int32_t iInitial)
{
  return zornodeEvalCreateSized(iInitial, ZORNODE_STRING_MAX);
}

int32_t zornodeEvalStringRoom(const zornode *pnode)
{
  if (pnode == nullptr) return ZORNODE_STRING_MAX;
  int32_t iRoom = ZORNODE_STRING_MAX;
  switch (pnode->sKind) {
    case ZORNODE_VAR:
      /* the column's declared length, two bytes a unit for graphic data */
      iRoom = std::max<int32_t>(iRoom, 2 * static_cast<int32_t>(pnode->usLength));
      if ((pnode->usStatus & NODE_SUBS) && pnode->pLeft != nullptr) {
        int32_t iLength = static_cast<const rowColDef *>(pnode->pLeft)->iLength;
        if (iLength > 0 && iLength <= 0xFFFF) iRoom = std::max(iRoom, 2 * iLength);
      }
      break;
    case ZORNODE_CSTE:
      iRoom = std::max<int32_t>(iRoom, 2 * static_cast<int32_t>(pnode->usLength));
      break;
    case ZORNODE_OPRT:
      if (!(pnode->usStatus & NODE_LEFT_NOT))
        iRoom = std::max(iRoom, zornodeEvalStringRoom(static_cast<const zornode *>(pnode->pLeft)));
      if (!(pnode->usStatus & NODE_RIGHT_NOT))
        iRoom = std::max(iRoom, zornodeEvalStringRoom(static_cast<const zornode *>(pnode->pRight)));
      break;
    default:
      break;
  }
  /* a length word counts units of up to two bytes */
  return std::min<int32_t>(iRoom, 2 * 0xFFFF);
}

zornodeEvalContext *zornodeEvalCreateSized(int32_t iInitial, int32_t iStringMax)
{
  if (iStringMax < ZORNODE_STRING_MAX) iStringMax = ZORNODE_STRING_MAX;
  zornodeEvalContext *pctx = static_cast<zornodeEvalContext *>(std::calloc(1, sizeof(zornodeEvalContext)));
  if (pctx == nullptr) return nullptr;
  /* an element holds the value area, widened for the longest character value */
  size_t ulElement = std::max(sizeof(zornodeEvalValue),
                              (offsetof(zornodeEvalValue, u) + sizeof(uint16_t) + static_cast<size_t>(iStringMax) + 7) &
                                  ~static_cast<size_t>(7));
  pctx->iStringMax = iStringMax;
  if (!opoolInit(&pctx->pool, static_cast<uint32_t>(ulElement), iInitial, ZORNODE_EVAL_GROWTH)) {
    opoolDelete(&pctx->pool);
    std::free(pctx);
    return nullptr;
  }
  pctx->uiElemOffset = static_cast<uint32_t>(static_cast<char *>(pctx->pool.pFree) -
                                             static_cast<char *>(pctx->pool.pBlocks));
  pctx->pcRow = nullptr;
  pctx->ilRowLength = -1;
  pctx->iFixedLength = -1;
  return pctx;
}

void zornodeEvalSetRecord(zornodeEvalContext *pctx, const char *pcRecord, int32_t ilLength)
{
  if (pcRecord == nullptr || ilLength < 8) {
    pctx->pcRow = pcRecord;
    pctx->ilRowLength = 0;
    pctx->iFixedLength = 0;
    return;
  }
  pctx->pcRow = pcRecord + 8;
  pctx->ilRowLength = ilLength - 8;
  int32_t iFixed = static_cast<int16_t>(obyteGetLE16(reinterpret_cast<const unsigned char *>(pcRecord) + 6));
  if (iFixed < 0) iFixed = 0;
  if (iFixed > pctx->ilRowLength) iFixed = pctx->ilRowLength;
  pctx->iFixedLength = iFixed;
}

int zornodeEvalBool(zornodeEvalContext *pctx, zornode *pnode)
{
  if (pctx == nullptr || pnode == nullptr) {
    omsgsFMTEDO(ZORU365W, static_cast<unsigned>(ORC_INVALID));
    return 0;
  }
  /* The jump context of this activation. */
  zornodeEvalContext *pctxOuter = gjumpContext.pctxActive;
  gjumpContext.pctxActive = pctx;
  zornodeEvalValue *pval;
  try {
    pval = zornodeEvalNode(pctx, pnode);
  } catch (const _zornodeEvalAbort &abort) {
    gjumpContext.pctxActive = pctxOuter;
    gjumpContext.iReason = abort.iReason;
    _evalReclaim(pctx);
    omsgsFMTEDO(ZORU365W, static_cast<unsigned>(abort.iReason));
    return 0;
  }
  gjumpContext.pctxActive = pctxOuter;
  int iResult = pval->iNull != 0 ? pval->iNull - 1 : pval->u.iValue;
  zornodeEvalGive(pctx, pval);
  return iResult;
}

int zornodeEvalEval(zornodeEvalContext *pctx, zornode *pnode, void *pUnused, int32_t *piResult)
{
  (void)pUnused;
  if (pctx == nullptr) return ORC_INVALID;
  zornodeEvalValue *pval;
  try {
    pval = zornodeEvalNode(pctx, pnode);
  } catch (const _zornodeEvalAbort &abort) {
    _evalReclaim(pctx);
    return abort.iReason;
  }
  if (pval->iNull == -1 && piResult != nullptr) *piResult = 0;
  return 0;
}

int zornodeEvalValueOf(zornodeEvalContext *pctx, zornode *pnode, zornodeEvalValue **ppval)
{
  *ppval = nullptr;
  if (pctx == nullptr) return ORC_INVALID;
  try {
    *ppval = zornodeEvalNode(pctx, pnode);
  } catch (const _zornodeEvalAbort &abort) {
    _evalReclaim(pctx);
    return abort.iReason;
  }
  return 0;
}

void zornodeEvalDestroy(zornodeEvalContext *pctx)
{
  if (pctx == nullptr) return;
  opoolDelete(&pctx->pool);
  std::free(pctx);
}

int zornodeEvalPopDb2Internal(void)
{
  return 0;
}

/* ===================================================================== loads */

/* Ends the evaluation when [iOffset, iOffset + iLength) is not inside the known row. */
static void _evalCheckSpan(const zornodeEvalContext *pctx, int32_t iOffset, int32_t iLength)
{
  if (pctx->ilRowLength < 0) return;
  if (iOffset < 0 || iLength < 0 || static_cast<int64_t>(iOffset) + iLength > pctx->ilRowLength)
    zornodeEvalJump(ZORNODE_RC_RECORD);
}

/* The bytes of a character value: they run on past acBytes in a widened element. */
static inline unsigned char *_evalStrBytes(zornodeEvalValue *pval)
{
  return reinterpret_cast<unsigned char *>(pval) + offsetof(zornodeEvalValue, u) + offsetof(zornodeEvalString, acBytes);
}

/* Stores a character or graphic value of iUnits units of iUnitBytes bytes. */
static void _evalSetString(const zornodeEvalContext *pctx, zornodeEvalValue *pval, const unsigned char *pucData,
                           int32_t iUnits, int32_t iUnitBytes)
{
  if (iUnits < 0 || iUnits * iUnitBytes > pctx->iStringMax) zornodeEvalJump(ZORNODE_RC_VALUELEN);
  pval->u.str.usLength = static_cast<uint16_t>(iUnits);
  if (iUnits > 0) std::memcpy(_evalStrBytes(pval), pucData, static_cast<size_t>(iUnits) * iUnitBytes);
}

/* A packed date (0x1000), time (0x2000) or timestamp (0x7000) from its bytes. */
static void _evalSetTime(zornodeEvalValue *pval, uint32_t uiFlag, const unsigned char *pucData)
{
  otimePackedInit(&pval->u.time);
  pval->u.time.uiFlags |= uiFlag;
  switch (uiFlag) {
    case OTIME_F_DATE: std::memcpy(pval->u.time.acPacked + OTIME_PDATE, pucData, 4); break;
    case OTIME_F_TIME: std::memcpy(pval->u.time.acPacked + OTIME_PTIME, pucData, 3); break;
    default: std::memcpy(pval->u.time.acPacked, pucData, OTIME_PLEN); break;
  }
}

/* A packed decimal of precision << 8 | scale usLength. */
static void _evalSetDecimal(zornodeEvalValue *pval, const unsigned char *pucPacked, uint16_t usLength)
{
  int iStatus = _decInitFromInternal(&pval->u.dec, pucPacked, usLength >> 8, usLength & 0xFF);
  if (iStatus != 0) zornodeEvalJump(iStatus);
}

zornodeEvalValue *_zornodeEvalProc_LoadVar(zornodeEvalContext *pctx, zornode *pnode)
{
  const rowColDef *pdef = static_cast<const rowColDef *>(pnode->pLeft);
  if (pdef == nullptr) zornodeEvalJump(ZORNODE_RC_BADOPERAND);
  if (pctx->pcRow == nullptr) zornodeEvalJump(ZORNODE_RC_RECORD);
  const unsigned char *pucRow = reinterpret_cast<const unsigned char *>(pctx->pcRow);
  int32_t iOffset = static_cast<uint16_t>(pdef->sOffset);
  uint16_t usNull = static_cast<uint16_t>(pdef->sNullOffset);
  zornodeEvalValue *pval = zornodeEvalTake(pctx);

  /* A column the record does not hold: the table was altered after it was
     written.  It reads as its default when it has one (as a row of its
     own, bound by the run step), else as NULL when nullable. */
  if (pctx->iFixedLength >= 0 && iOffset >= pctx->iFixedLength) {
    const auto *pdflt = static_cast<const zornodeEvalDefault *>(pdef->pExtra);
    if (pdflt != nullptr && pdflt->iLength > iOffset) {
      zornodeEvalGive(pctx, pval);
      const char *pcRow = pctx->pcRow;
      int32_t ilRow = pctx->ilRowLength, iFixed = pctx->iFixedLength;
      pctx->pcRow = reinterpret_cast<const char *>(pdflt->acRow);
      pctx->ilRowLength = pdflt->iLength;
      pctx->iFixedLength = pdflt->iLength;
      zornodeEvalValue *pvalDefault = _zornodeEvalProc_LoadVar(pctx, pnode);
      pctx->pcRow = pcRow;
      pctx->ilRowLength = ilRow;
      pctx->iFixedLength = iFixed;
      return pvalDefault;
    }
    if (usNull == 0xFFFF) zornodeEvalJump(ZORNODE_RC_RECORD);
    pval->iNull = 1;
    return pval;
  }
  pval->iNull = 0;
  if (usNull != 0xFFFF && pctx->iFixedLength >= 0 && usNull >= pctx->iFixedLength) {
    pval->iNull = 1;   /* the null byte of a column added later lies past the record's fixed part */
    return pval;
  }
  if (usNull != 0xFFFF) {
    _evalCheckSpan(pctx, usNull, 1);
    /* Any non-zero null byte is NULL; kept as 1 so that a NULL result never reads as true. */
    if (pucRow[usNull] != 0) {
      pval->iNull = 1;
      return pval;
    }
  }

  const unsigned char *puc = pucRow + iOffset;
  int32_t iLength = pdef->iLength;
  switch (pnode->usCtrlType) {
    case NODE_T_VDTE:
      _evalCheckSpan(pctx, iOffset, 4);
      _evalSetTime(pval, OTIME_F_DATE, puc);
      break;
    case NODE_T_VTME:
      _evalCheckSpan(pctx, iOffset, 3);
      _evalSetTime(pval, OTIME_F_TIME, puc);
      break;
    case NODE_T_VTST:
      _evalCheckSpan(pctx, iOffset, OTIME_PLEN);
      _evalSetTime(pval, OTIME_F_TIMESTAMP, puc);
      break;
    case NODE_T_VCHR:
    case NODE_T_VGRA: {
      int32_t iUnitBytes = pnode->usCtrlType == NODE_T_VGRA ? 2 : 1;
      if (iLength < 0 || iLength * iUnitBytes > pctx->iStringMax) zornodeEvalJump(ZORNODE_RC_VALUELEN);
      _evalCheckSpan(pctx, iOffset, iLength * iUnitBytes);
      _evalSetString(pctx, pval, puc, iLength, iUnitBytes);
      break;
    }
    case NODE_T_VVCH:
    case NODE_T_VVGR: {
      int32_t iUnitBytes = pnode->usCtrlType == NODE_T_VVGR ? 2 : 1;
      _evalCheckSpan(pctx, iOffset, 4);
      int32_t iDataOffset = obyteGetLE16(puc);
      int32_t iUnits = obyteGetLE16(puc + 2);
      if (iUnits * iUnitBytes > pctx->iStringMax) zornodeEvalJump(ZORNODE_RC_VALUELEN);
      _evalCheckSpan(pctx, iDataOffset, iUnits * iUnitBytes);
      _evalSetString(pctx, pval, pucRow + iDataOffset, iUnits, iUnitBytes);
      break;
    }
    case NODE_T_VINT:
    case NODE_T_VSMI:
      if (iLength == 4) {
        _evalCheckSpan(pctx, iOffset, 4);
        pval->u.iValue = static_cast<int32_t>(obyteGetLE32(puc));
      } else {
        _evalCheckSpan(pctx, iOffset, 2);
        pval->u.iValue = static_cast<int16_t>(obyteGetLE16(puc));
      }
      break;
    case NODE_T_VFLT:
      if (iLength == 4) {
        _evalCheckSpan(pctx, iOffset, 4);
        uint32_t ulBits = obyteGetLE32(puc);
        float f;
        std::memcpy(&f, &ulBits, sizeof f);
        zornodeEvalSetDouble(pval, f);
      } else {
        _evalCheckSpan(pctx, iOffset, 8);
        uint64_t ullBits = obyteGetLE64(puc);
        double d;
        std::memcpy(&d, &ullBits, sizeof d);
        zornodeEvalSetDouble(pval, d);
      }
      break;
    case NODE_T_VDEC:
      _evalCheckSpan(pctx, iOffset, (pnode->usLength >> 8) / 2 + 1);
      _evalSetDecimal(pval, puc, pnode->usLength);
      break;
    case NODE_T_VBIG:
      _evalCheckSpan(pctx, iOffset, 8);
      zornodeEvalSetBig(pval, static_cast<int64_t>(obyteGetLE64(puc)));
      break;
    default:
      /* Stored bytes of a type no comparison interprets. */
      if (iLength < 0 || iLength > ZORNODE_VALUE_SIZE) zornodeEvalJump(ZORNODE_RC_VALUELEN);
      _evalCheckSpan(pctx, iOffset, iLength);
      if (iLength > 0) std::memcpy(pval->u.acRaw, puc, static_cast<size_t>(iLength));
      break;
  }
  return pval;
}

zornodeEvalValue *_zornodeEvalProc_LoadCste(zornodeEvalContext *pctx, zornode *pnode)
{
  const unsigned char *pucBuffer = static_cast<const unsigned char *>(pnode->pLeft);
  if (pnode->usCtrlType == NODE_T_NULL) {
    /* The NULL constant has no buffer: its value is NULL. */
    zornodeEvalValue *pval = zornodeEvalTake(pctx);
    pval->iNull = 1;
    return pval;
  }
  if (pucBuffer == nullptr) zornodeEvalJump(ZORNODE_RC_BADOPERAND);
  zornodeEvalValue *pval = zornodeEvalTake(pctx);
  pval->iNull = 0;
  uint16_t usStored;
  switch (pnode->usCtrlType) {
    case NODE_T_DTE: _evalSetTime(pval, OTIME_F_DATE, pucBuffer + 2); break;
    case NODE_T_TME: _evalSetTime(pval, OTIME_F_TIME, pucBuffer + 2); break;
    case NODE_T_TST: _evalSetTime(pval, OTIME_F_TIMESTAMP, pucBuffer + 2); break;
    case NODE_T_CHN:
    case NODE_T_GRA:
      /* The buffer holds usStored units: never read beyond them. */
      std::memcpy(&usStored, pucBuffer, sizeof usStored);
      _evalSetString(pctx, pval, pucBuffer + 2, pnode->usLength < usStored ? pnode->usLength : usStored,
                     pnode->usCtrlType == NODE_T_GRA ? 2 : 1);
      break;
    case NODE_T_INT:
      std::memcpy(&pval->u.iValue, pucBuffer, 4);
      break;
    case NODE_T_SMI:
      if (pnode->usLength == 2) {
        int16_t s;
        std::memcpy(&s, pucBuffer, sizeof s);
        pval->u.iValue = s;
      } else {
        std::memcpy(&pval->u.iValue, pucBuffer, 4);
      }
      break;
    case NODE_T_FLT:
    case NODE_T_BIG:
      std::memcpy(pval->u.acRaw, pucBuffer, 8);
      break;
    case NODE_T_DEC:
      /* The 16 packed bytes hold at most 31 digits. */
      if (pucBuffer[0] / 2 + 1 > ODEC_CONST_LEN - 2) zornodeEvalJump(ODEC_INVALID);
      _evalSetDecimal(pval, pucBuffer + (ODEC_CONST_LEN - 1) - (pucBuffer[0] / 2),
                      static_cast<uint16_t>(pucBuffer[0] << 8 | pucBuffer[1]));
      break;
    default:
      zornodeEvalJump(ZORNODE_RC_BADOPERAND);
  }
  return pval;
}

/* ====================================================== logic and IS NULL */

static inline zornode *_evalLeft(const zornode *pnode)
{
  return static_cast<zornode *>(pnode->pLeft);
}
static inline zornode *_evalRight(const zornode *pnode)
{
  return static_cast<zornode *>(pnode->pRight);
}

zornodeEvalValue *_zornodeEvalProc_OR_OP(zornodeEvalContext *pctx, zornode *pnode)
{
  zornodeEvalValue *pvalL = zornodeEvalNode(pctx, _evalLeft(pnode));
  if (pvalL->iNull == 0) {
    if (pvalL->u.iValue == 1) return pvalL;
    zornodeEvalGive(pctx, pvalL);
    return zornodeEvalNode(pctx, _evalRight(pnode));
  }
  zornodeEvalValue *pvalR = zornodeEvalNode(pctx, _evalRight(pnode));
  if (pvalR->iNull == 0 && pvalR->u.iValue == 1) {
    zornodeEvalGive(pctx, pvalL);
    return pvalR;
  }
  zornodeEvalGive(pctx, pvalR);
  return pvalL;
}

zornodeEvalValue *_zornodeEvalProc_AND_OP(zornodeEvalContext *pctx, zornode *pnode)
{
  zornodeEvalValue *pvalL = zornodeEvalNode(pctx, _evalLeft(pnode));
  if (pvalL->iNull == 0) {
    if (pvalL->u.iValue != 1) return pvalL;
    zornodeEvalGive(pctx, pvalL);
    return zornodeEvalNode(pctx, _evalRight(pnode));
  }
  zornodeEvalValue *pvalR = zornodeEvalNode(pctx, _evalRight(pnode));
  if (pvalR->iNull == 0 && pvalR->u.iValue != 1) {
    zornodeEvalGive(pctx, pvalL);
    return pvalR;
  }
  zornodeEvalGive(pctx, pvalR);
  return pvalL;
}

zornodeEvalValue *_zornodeEvalProc_NOT_OP(zornodeEvalContext *pctx, zornode *pnode)
{
  zornodeEvalValue *pval = zornodeEvalNode(pctx, _evalLeft(pnode));
  if (pval->iNull == 0) pval->u.iValue ^= 1;
  return pval;
}

zornodeEvalValue *_zornodeEvalProc_ISNULL_OP(zornodeEvalContext *pctx, zornode *pnode)
{
  zornodeEvalValue *pval = zornodeEvalNode(pctx, _evalLeft(pnode));
  pval->ulLink = NODE_T_BOOL;
  if (pval->iNull != 0) {
    pval->iNull = 0;
    pval->u.iValue = 1;
  } else {
    pval->u.iValue = 0;
  }
  return pval;
}

/* =============================================================== comparisons */

/* Outcome of comparing two values: below, equal, above, or unordered (a NaN). */
enum { EVAL_LT = -1, EVAL_EQ = 0, EVAL_GT = 1, EVAL_UNORDERED = 2 };

typedef int (*evalCmpFn)(const zornode *pnode, zornodeEvalValue *pvalL, zornodeEvalValue *pvalR);

/* A decimal in a failed state cannot be compared: the record's evaluation ends. */
static void _evalCheckDecimal(const odecimal *pdec)
{
  if (pdec->iCount < 1 || pdec->iCount > 4) zornodeEvalJump(ODEC_INVALID);
}

static int _evalSign(int i)
{
  return i < 0 ? EVAL_LT : (i > 0 ? EVAL_GT : EVAL_EQ);
}

/*
** Blank-padded comparison of two byte strings: the common part bytewise
** (unsigned), then the rest of the longer one against the pad byte.
*/
static int _cmpChar(const zornode *pnode, zornodeEvalValue *pvalL, zornodeEvalValue *pvalR)
{
  const unsigned char *pucL = _evalStrBytes(pvalL);
  const unsigned char *pucR = _evalStrBytes(pvalR);
  int32_t iLenL = pvalL->u.str.usLength, iLenR = pvalR->u.str.usLength;
  int32_t iCommon = iLenL < iLenR ? iLenL : iLenR;
  int i = iCommon > 0 ? std::memcmp(pucL, pucR, static_cast<size_t>(iCommon)) : 0;
  if (i != 0) return _evalSign(i);
  unsigned char ucPad = static_cast<unsigned char>(pnode->usPadChar & 0xFF);
  for (int32_t k = iCommon; k < iLenL; k++)
    if (pucL[k] != ucPad) return pucL[k] < ucPad ? EVAL_LT : EVAL_GT;
  for (int32_t k = iCommon; k < iLenR; k++)
    if (pucR[k] != ucPad) return pucR[k] > ucPad ? EVAL_LT : EVAL_GT;
  return EVAL_EQ;
}

/*
** Graphic strings: lengths in characters; the common part bytewise, the
** rest in 16-bit units against the pad character.  Units and pad are both
** taken in stored byte order (the pad's bytes are its two bytes as kept in
** memory), so the rest orders the same way as the common part.
*/
static int _cmpGra(const zornode *pnode, zornodeEvalValue *pvalL, zornodeEvalValue *pvalR)
{
  const unsigned char *pucL = _evalStrBytes(pvalL);
  const unsigned char *pucR = _evalStrBytes(pvalR);
  int32_t iLenL = pvalL->u.str.usLength, iLenR = pvalR->u.str.usLength;
  int32_t iCommon = iLenL < iLenR ? iLenL : iLenR;
  int i = iCommon > 0 ? std::memcmp(pucL, pucR, static_cast<size_t>(iCommon) * 2) : 0;
  if (i != 0) return _evalSign(i);
  unsigned char aucPad[2];
  std::memcpy(aucPad, &pnode->usPadChar, 2);
  uint16_t usPad = obyteGetBE16(aucPad);
  for (int32_t k = iCommon; k < iLenL; k++) {
    uint16_t us = obyteGetBE16(pucL + 2 * k);
    if (us != usPad) return us < usPad ? EVAL_LT : EVAL_GT;
  }
  for (int32_t k = iCommon; k < iLenR; k++) {
    uint16_t us = obyteGetBE16(pucR + 2 * k);
    if (us != usPad) return us > usPad ? EVAL_LT : EVAL_GT;
  }
  return EVAL_EQ;
}

template <typename T>
static int _evalCmpOrdered(T a, T b)
{
  if (a < b) return EVAL_LT;
  if (a > b) return EVAL_GT;
  if (a == b) return EVAL_EQ;
  return EVAL_UNORDERED;
}

/* Numeric operand kinds. */
enum { EVAL_INT = 0, EVAL_BIG = 1, EVAL_DBL = 2, EVAL_DEC = 3 };

template <int T>
static int64_t _evalAsBig(const zornodeEvalValue *pval)
{
  if constexpr (T == EVAL_INT) return pval->u.iValue;
  else return zornodeEvalGetBig(pval);
}

/* An INTEGER, BIGINT or DOUBLE value in extended precision (integers exactly). */
template <int T>
static long double _evalAsLong(const zornodeEvalValue *pval)
{
  if constexpr (T == EVAL_DBL) return zornodeEvalGetDouble(pval);
  else return static_cast<long double>(_evalAsBig<T>(pval));
}

/* The double of a DECIMAL value, or of a DOUBLE value. */
template <int T>
static double _evalAsDouble(const zornodeEvalValue *pval)
{
  if constexpr (T == EVAL_DEC) {
    _evalCheckDecimal(&pval->u.dec);
    return _decToDouble(&pval->u.dec);
  } else {
    return zornodeEvalGetDouble(pval);
  }
}

/* Converts an INTEGER or BIGINT operand to a decimal in its own element. */
template <int T>
static void _evalToDecimal(zornodeEvalValue *pval)
{
  if constexpr (T == EVAL_INT) {
    int32_t i = pval->u.iValue;
    _decFromInt(&pval->u.dec, i);
  } else if constexpr (T == EVAL_BIG) {
    int64_t ll = zornodeEvalGetBig(pval);
    _decFromBig(&pval->u.dec, ll);
  }
}

template <int LT, int RT>
static int _cmpNum(const zornode *, zornodeEvalValue *pvalL, zornodeEvalValue *pvalR)
{
  if constexpr (LT == EVAL_INT && RT == EVAL_INT) {
    return _evalCmpOrdered(pvalL->u.iValue, pvalR->u.iValue);
  } else if constexpr (LT != EVAL_DEC && RT != EVAL_DEC) {
    if constexpr (LT == EVAL_DBL || RT == EVAL_DBL)
      return _evalCmpOrdered(_evalAsLong<LT>(pvalL), _evalAsLong<RT>(pvalR));
    else
      return _evalCmpOrdered(_evalAsBig<LT>(pvalL), _evalAsBig<RT>(pvalR));
  } else if constexpr (LT == EVAL_DBL || RT == EVAL_DBL) {
    return _evalCmpOrdered(_evalAsDouble<LT>(pvalL), _evalAsDouble<RT>(pvalR));
  } else {
    int i;
    if constexpr (LT == EVAL_DEC && RT == EVAL_INT) {
      i = _decCmpInt(&pvalL->u.dec, pvalR->u.iValue);
    } else if constexpr (LT == EVAL_INT && RT == EVAL_DEC) {
      i = _decCmpInt(&pvalR->u.dec, pvalL->u.iValue);
      if (i != -2) i = -i;
    } else {
      _evalToDecimal<LT>(pvalL);
      _evalToDecimal<RT>(pvalR);
      i = _decCmp(&pvalL->u.dec, &pvalR->u.dec);
    }
    if (i == -2) zornodeEvalJump(ODEC_INVALID);
    return _evalSign(i);
  }
}

static int _cmpDate(const zornode *, zornodeEvalValue *pvalL, zornodeEvalValue *pvalR)
{
  return _evalSign(std::memcmp(pvalL->u.time.acPacked + OTIME_PDATE, pvalR->u.time.acPacked + OTIME_PDATE, 4));
}
static int _cmpTime(const zornode *, zornodeEvalValue *pvalL, zornodeEvalValue *pvalR)
{
  return _evalSign(std::memcmp(pvalL->u.time.acPacked + OTIME_PTIME, pvalR->u.time.acPacked + OTIME_PTIME, 3));
}
static int _cmpTst(const zornode *, zornodeEvalValue *pvalL, zornodeEvalValue *pvalR)
{
  return _evalSign(std::memcmp(pvalL->u.time.acPacked, pvalR->u.time.acPacked, OTIME_PLEN));
}

/*
** Steps shared by every comparison: a boolean result element; a NULL left
** operand decides without the right one; the relation of the family (EQU,
** INF, SUP) holds under the family's own operator code and is negated under
** the sibling code that reuses the procedure.  An unordered outcome makes
** the relation false.
*/
template <int iFamily>
static zornodeEvalValue *_evalCompare(zornodeEvalContext *pctx, zornode *pnode, evalCmpFn fnCmp)
{
  zornodeEvalValue *pvalRes = zornodeEvalTake(pctx);
  pvalRes->ulLink = NODE_T_BOOL;
  zornodeEvalValue *pvalL = zornodeEvalNode(pctx, _evalLeft(pnode));
  if (pvalL->iNull != 0) {
    pvalRes->iNull = pvalL->iNull;
    zornodeEvalGive(pctx, pvalL);
    return pvalRes;
  }
  zornodeEvalValue *pvalR = zornodeEvalNode(pctx, _evalRight(pnode));
  pvalRes->iNull = pvalR->iNull;
  if (pvalR->iNull != 0) {
    zornodeEvalGive(pctx, pvalR);
    zornodeEvalGive(pctx, pvalL);
    return pvalRes;
  }
  int iCmp = fnCmp(pnode, pvalL, pvalR);
  bool boRelation;
  int iOwnCode;
  if constexpr (iFamily == NODE_EQU_OP) {
    boRelation = iCmp == EVAL_EQ;
    iOwnCode = NODE_EQU_OP;
  } else if constexpr (iFamily == NODE_INF_OP) {
    boRelation = iCmp == EVAL_LT;
    iOwnCode = NODE_INF_OP;
  } else {
    boRelation = iCmp == EVAL_GT;
    iOwnCode = NODE_SUP_OP;
  }
  if (pnode->sCode != iOwnCode) boRelation = !boRelation;
  pvalRes->u.iValue = boRelation ? 1 : 0;
  zornodeEvalGive(pctx, pvalR);
  zornodeEvalGive(pctx, pvalL);
  return pvalRes;
}

#define ZEVAL_CMP_FAMILY(SUFFIX, FN)                                                        \
  zornodeEvalValue *_zornodeEvalProc_EQU_OP_##SUFFIX(zornodeEvalContext *pctx, zornode *pnode) \
  {                                                                                         \
    return _evalCompare<NODE_EQU_OP>(pctx, pnode, FN);                                      \
  }                                                                                         \
  zornodeEvalValue *_zornodeEvalProc_INF_OP_##SUFFIX(zornodeEvalContext *pctx, zornode *pnode) \
  {                                                                                         \
    return _evalCompare<NODE_INF_OP>(pctx, pnode, FN);                                      \
  }                                                                                         \
  zornodeEvalValue *_zornodeEvalProc_SUP_OP_##SUFFIX(zornodeEvalContext *pctx, zornode *pnode) \
  {                                                                                         \
    return _evalCompare<NODE_SUP_OP>(pctx, pnode, FN);                                      \
  }

ZEVAL_CMP_FAMILY(CHAR, _cmpChar)
ZEVAL_CMP_FAMILY(GRA, _cmpGra)
ZEVAL_CMP_FAMILY(INT_INT, (_cmpNum<EVAL_INT, EVAL_INT>))
ZEVAL_CMP_FAMILY(INT_BIG, (_cmpNum<EVAL_INT, EVAL_BIG>))
ZEVAL_CMP_FAMILY(INT_DOUBLE, (_cmpNum<EVAL_INT, EVAL_DBL>))
ZEVAL_CMP_FAMILY(INT_DEC, (_cmpNum<EVAL_INT, EVAL_DEC>))
ZEVAL_CMP_FAMILY(BIG_INT, (_cmpNum<EVAL_BIG, EVAL_INT>))
ZEVAL_CMP_FAMILY(BIG_BIG, (_cmpNum<EVAL_BIG, EVAL_BIG>))
ZEVAL_CMP_FAMILY(BIG_DOUBLE, (_cmpNum<EVAL_BIG, EVAL_DBL>))
ZEVAL_CMP_FAMILY(BIG_DEC, (_cmpNum<EVAL_BIG, EVAL_DEC>))
ZEVAL_CMP_FAMILY(DOUBLE_INT, (_cmpNum<EVAL_DBL, EVAL_INT>))
ZEVAL_CMP_FAMILY(DOUBLE_BIG, (_cmpNum<EVAL_DBL, EVAL_BIG>))
ZEVAL_CMP_FAMILY(DOUBLE_DOUBLE, (_cmpNum<EVAL_DBL, EVAL_DBL>))
ZEVAL_CMP_FAMILY(DOUBLE_DEC, (_cmpNum<EVAL_DBL, EVAL_DEC>))
ZEVAL_CMP_FAMILY(DEC_INT, (_cmpNum<EVAL_DEC, EVAL_INT>))
ZEVAL_CMP_FAMILY(DEC_BIG, (_cmpNum<EVAL_DEC, EVAL_BIG>))
ZEVAL_CMP_FAMILY(DEC_DOUBLE, (_cmpNum<EVAL_DEC, EVAL_DBL>))
ZEVAL_CMP_FAMILY(DEC_DEC, (_cmpNum<EVAL_DEC, EVAL_DEC>))
ZEVAL_CMP_FAMILY(DATE_DATE, _cmpDate)
ZEVAL_CMP_FAMILY(TIME_TIME, _cmpTime)
ZEVAL_CMP_FAMILY(TST_TST, _cmpTst)

/* ================================================================ arithmetic */

/* Control type of the result of an operation on two operand kinds. */
template <int LT, int RT>
static constexpr uint16_t _evalResultType()
{
  if constexpr (LT == EVAL_DBL || RT == EVAL_DBL) return NODE_T_VFLT;
  else if constexpr (LT == EVAL_DEC || RT == EVAL_DEC) return NODE_T_VDEC;
  else if constexpr (LT == EVAL_BIG || RT == EVAL_BIG) return NODE_T_VBIG;
  else return NODE_T_VINT;
}

static void _evalDecStatus(int iStatus)
{
  if (iStatus != 0) zornodeEvalJump(iStatus);
}

static bool _evalDecIsZero(const odecimal *pdec)
{
  return _decCmpInt(pdec, 0) == 0;
}

/* pRes = a - b: b's sign inverted (a zero keeps sign 0) for an addition. */
static int _evalDecSub(odecimal *pdecRes, const odecimal *pdecA, const odecimal *pdecB)
{
  odecimal decB = *pdecB;
  if (decB.iCount >= 1 && decB.iCount <= 4 && !_evalDecIsZero(&decB)) decB.iSign ^= 1;
  return _decAdd(pdecRes, pdecA, &decB);
}

/*
** pRes = dec - k as dec + (-k); -2147483648, whose negation does not fit,
** is subtracted as + 1 + 2147483647.
*/
static int _evalDecSubInt(odecimal *pdecRes, const odecimal *pdecA, int32_t iK)
{
  if (iK == std::numeric_limits<int32_t>::min()) {
    int iStatus = _decAddInt(pdecRes, pdecA, 1);
    if (iStatus != 0) return iStatus;
    return _decAddInt(pdecRes, pdecRes, 2147483647);
  }
  return _decAddInt(pdecRes, pdecA, -iK);
}

/* Step 4 of a binary operator: the value of L op R into the result element. */
template <char OP, int LT, int RT>
static void _evalCompute(const zornode *pnode, zornodeEvalValue *pvalRes, zornodeEvalValue *pvalL,
                         zornodeEvalValue *pvalR)
{
  if constexpr (LT == EVAL_INT && RT == EVAL_INT) {
    int32_t iA = pvalL->u.iValue, iB = pvalR->u.iValue;
    int32_t iRes;
    bool boOverflow;
    if constexpr (OP == '+') boOverflow = __builtin_add_overflow(iA, iB, &iRes);
    else if constexpr (OP == '-') boOverflow = __builtin_sub_overflow(iA, iB, &iRes);
    else if constexpr (OP == '*') boOverflow = __builtin_mul_overflow(iA, iB, &iRes);
    else {
      if (iB == 0) zornodeEvalJump(ZORNODE_RC_DIVZERO);
      boOverflow = iB == -1 && iA == std::numeric_limits<int32_t>::min();
      iRes = boOverflow ? 0 : iA / iB;
    }
    if (boOverflow) zornodeEvalJump(ZORNODE_RC_OVERFLOW);
    pvalRes->u.iValue = iRes;
  } else if constexpr (LT != EVAL_DEC && RT != EVAL_DEC && LT != EVAL_DBL && RT != EVAL_DBL) {
    int64_t llA = _evalAsBig<LT>(pvalL), llB = _evalAsBig<RT>(pvalR);
    int64_t llRes;
    bool boOverflow;
    if constexpr (OP == '+') boOverflow = __builtin_add_overflow(llA, llB, &llRes);
    else if constexpr (OP == '-') boOverflow = __builtin_sub_overflow(llA, llB, &llRes);
    else if constexpr (OP == '*') boOverflow = __builtin_mul_overflow(llA, llB, &llRes);
    else {
      if (llB == 0) zornodeEvalJump(ZORNODE_RC_DIVZERO);
      boOverflow = llB == -1 && llA == std::numeric_limits<int64_t>::min();
      llRes = boOverflow ? 0 : llA / llB;
    }
    if (boOverflow) zornodeEvalJump(ZORNODE_RC_OVERFLOW);
    zornodeEvalSetBig(pvalRes, llRes);
  } else if constexpr (LT != EVAL_DEC && RT != EVAL_DEC) {
    /* DOUBLE with INTEGER, BIGINT or DOUBLE: extended precision, rounded once. */
    long double a = _evalAsLong<LT>(pvalL), b = _evalAsLong<RT>(pvalR);
    long double res;
    if constexpr (OP == '+') res = a + b;
    else if constexpr (OP == '-') res = a - b;
    else if constexpr (OP == '*') res = a * b;
    else {
      if (b == 0) zornodeEvalJump(ZORNODE_RC_DIVZERO);
      res = a / b;
    }
    zornodeEvalSetDouble(pvalRes, static_cast<double>(res));
  } else if constexpr (LT == EVAL_DBL || RT == EVAL_DBL) {
    /* DOUBLE with DECIMAL: the decimal as a double, then double arithmetic. */
    double dRes;
    if constexpr (OP == '/') {
      double b = _evalAsDouble<RT>(pvalR);
      if (b == 0) zornodeEvalJump(ZORNODE_RC_DIVZERO);
      dRes = _evalAsDouble<LT>(pvalL) / b;
    } else {
      double a = _evalAsDouble<LT>(pvalL), b = _evalAsDouble<RT>(pvalR);
      if constexpr (OP == '+') dRes = a + b;
      else if constexpr (OP == '-') dRes = a - b;
      else dRes = a * b;
    }
    zornodeEvalSetDouble(pvalRes, dRes);
  } else {
    /* DECIMAL with INTEGER, BIGINT or DECIMAL. */
    odecimal *pdecRes = &pvalRes->u.dec;
    if constexpr (OP == '/') {
      int iScale = pnode->usLength & 0xFF;
      if constexpr (LT == EVAL_DEC && RT != EVAL_DEC) {
        if (_evalAsBig<RT>(pvalR) == 0) zornodeEvalJump(ZORNODE_RC_DIVZERO);
        _evalToDecimal<RT>(pvalR);
        _evalDecStatus(_decDiv(pdecRes, &pvalL->u.dec, &pvalR->u.dec, iScale));
      } else {
        /* A decimal divisor: any failure counts as a division by zero. */
        _evalToDecimal<LT>(pvalL);
        if (_decDiv(pdecRes, &pvalL->u.dec, &pvalR->u.dec, iScale) != 0) zornodeEvalJump(ZORNODE_RC_DIVZERO);
      }
    } else if constexpr ((LT == EVAL_INT) != (RT == EVAL_INT)) {
      /* INTEGER with DECIMAL: the integer-operand decimal operations. */
      const odecimal *pdec = LT == EVAL_DEC ? &pvalL->u.dec : &pvalR->u.dec;
      int32_t iK = LT == EVAL_INT ? pvalL->u.iValue : pvalR->u.iValue;
      if constexpr (OP == '+') {
        _evalDecStatus(_decAddInt(pdecRes, pdec, iK));
      } else if constexpr (OP == '*') {
        _evalDecStatus(_decMultInt(pdecRes, pdec, iK));
      } else if constexpr (LT == EVAL_DEC) {
        _evalDecStatus(_evalDecSubInt(pdecRes, pdec, iK));
      } else {
        /* L - R as -(R - L); a zero keeps sign 0. */
        _evalDecStatus(_evalDecSubInt(pdecRes, pdec, iK));
        if (!_evalDecIsZero(pdecRes)) pdecRes->iSign ^= 1;
      }
    } else {
      /* BIGINT with DECIMAL, or two decimals: the BIGINT converted in its element. */
      _evalToDecimal<LT>(pvalL);
      _evalToDecimal<RT>(pvalR);
      if constexpr (OP == '+') _evalDecStatus(_decAdd(pdecRes, &pvalL->u.dec, &pvalR->u.dec));
      else if constexpr (OP == '-') _evalDecStatus(_evalDecSub(pdecRes, &pvalL->u.dec, &pvalR->u.dec));
      else _evalDecStatus(_decMult(pdecRes, &pvalL->u.dec, &pvalR->u.dec));
    }
  }
}

/*
** Steps shared by every binary operator: a result element of the result
** type; a NULL left operand decides without the right one; a NULL right
** operand gives NULL without computing (so without a zero test).
*/
template <char OP, int LT, int RT>
static zornodeEvalValue *_evalBinary(zornodeEvalContext *pctx, zornode *pnode)
{
  zornodeEvalValue *pvalRes = zornodeEvalTake(pctx);
  pvalRes->ulLink = _evalResultType<LT, RT>();
  zornodeEvalValue *pvalL = zornodeEvalNode(pctx, _evalLeft(pnode));
  if (pvalL->iNull != 0) {
    pvalRes->iNull = pvalL->iNull;
    zornodeEvalGive(pctx, pvalL);
    return pvalRes;
  }
  zornodeEvalValue *pvalR = zornodeEvalNode(pctx, _evalRight(pnode));
  pvalRes->iNull = pvalR->iNull;
  if (pvalR->iNull == 0) _evalCompute<OP, LT, RT>(pnode, pvalRes, pvalL, pvalR);
  zornodeEvalGive(pctx, pvalR);
  zornodeEvalGive(pctx, pvalL);
  return pvalRes;
}

#define ZEVAL_BINARY(NAME, OP, LN, LT, RN, RT)                                                    \
  zornodeEvalValue *_zornodeEvalProc_##NAME##_OP_##LN##_##RN(zornodeEvalContext *pctx, zornode *pnode) \
  {                                                                                               \
    return _evalBinary<OP, LT, RT>(pctx, pnode);                                                  \
  }
#define ZEVAL_BINARY_PAIRS(NAME, OP)                                 \
  ZEVAL_BINARY(NAME, OP, INT, EVAL_INT, INT, EVAL_INT)              \
  ZEVAL_BINARY(NAME, OP, INT, EVAL_INT, BIG, EVAL_BIG)              \
  ZEVAL_BINARY(NAME, OP, INT, EVAL_INT, DOUBLE, EVAL_DBL)           \
  ZEVAL_BINARY(NAME, OP, INT, EVAL_INT, DEC, EVAL_DEC)              \
  ZEVAL_BINARY(NAME, OP, BIG, EVAL_BIG, INT, EVAL_INT)              \
  ZEVAL_BINARY(NAME, OP, BIG, EVAL_BIG, BIG, EVAL_BIG)              \
  ZEVAL_BINARY(NAME, OP, BIG, EVAL_BIG, DOUBLE, EVAL_DBL)           \
  ZEVAL_BINARY(NAME, OP, BIG, EVAL_BIG, DEC, EVAL_DEC)              \
  ZEVAL_BINARY(NAME, OP, DOUBLE, EVAL_DBL, INT, EVAL_INT)           \
  ZEVAL_BINARY(NAME, OP, DOUBLE, EVAL_DBL, BIG, EVAL_BIG)           \
  ZEVAL_BINARY(NAME, OP, DOUBLE, EVAL_DBL, DOUBLE, EVAL_DBL)        \
  ZEVAL_BINARY(NAME, OP, DOUBLE, EVAL_DBL, DEC, EVAL_DEC)           \
  ZEVAL_BINARY(NAME, OP, DEC, EVAL_DEC, INT, EVAL_INT)              \
  ZEVAL_BINARY(NAME, OP, DEC, EVAL_DEC, BIG, EVAL_BIG)              \
  ZEVAL_BINARY(NAME, OP, DEC, EVAL_DEC, DOUBLE, EVAL_DBL)           \
  ZEVAL_BINARY(NAME, OP, DEC, EVAL_DEC, DEC, EVAL_DEC)

ZEVAL_BINARY_PAIRS(PLS, '+')
ZEVAL_BINARY_PAIRS(MNS, '-')
ZEVAL_BINARY_PAIRS(MLT, '*')
ZEVAL_BINARY_PAIRS(DIV, '/')

/* ------------------------------------------------------------- unary minus */

template <int T>
static zornodeEvalValue *_evalMinus(zornodeEvalContext *pctx, zornode *pnode)
{
  zornodeEvalValue *pvalRes = zornodeEvalTake(pctx);
  pvalRes->ulLink = _evalResultType<T, T>();
  zornodeEvalValue *pval = zornodeEvalNode(pctx, _evalLeft(pnode));
  pvalRes->iNull = pval->iNull;
  if (pval->iNull == 0) {
    if constexpr (T == EVAL_INT) {
      if (pval->u.iValue == std::numeric_limits<int32_t>::min()) zornodeEvalJump(ZORNODE_RC_OVERFLOW);
      pvalRes->u.iValue = -pval->u.iValue;
    } else if constexpr (T == EVAL_BIG) {
      int64_t ll = zornodeEvalGetBig(pval);
      if (ll == std::numeric_limits<int64_t>::min()) zornodeEvalJump(ZORNODE_RC_OVERFLOW);
      zornodeEvalSetBig(pvalRes, -ll);
    } else if constexpr (T == EVAL_DBL) {
      zornodeEvalSetDouble(pvalRes, -zornodeEvalGetDouble(pval));
    } else {
      _evalCheckDecimal(&pval->u.dec);
      pvalRes->u.dec = pval->u.dec;
      if (!_evalDecIsZero(&pvalRes->u.dec)) pvalRes->u.dec.iSign ^= 1;
    }
  }
  zornodeEvalGive(pctx, pval);
  return pvalRes;
}

zornodeEvalValue *_zornodeEvalProc_MNSU_OP_INT(zornodeEvalContext *pctx, zornode *pnode)
{
  return _evalMinus<EVAL_INT>(pctx, pnode);
}
zornodeEvalValue *_zornodeEvalProc_MNSU_OP_BIG(zornodeEvalContext *pctx, zornode *pnode)
{
  return _evalMinus<EVAL_BIG>(pctx, pnode);
}
zornodeEvalValue *_zornodeEvalProc_MNSU_OP_DOUBLE(zornodeEvalContext *pctx, zornode *pnode)
{
  return _evalMinus<EVAL_DBL>(pctx, pnode);
}
zornodeEvalValue *_zornodeEvalProc_MNSU_OP_DEC(zornodeEvalContext *pctx, zornode *pnode)
{
  return _evalMinus<EVAL_DEC>(pctx, pnode);
}

/* --------------------------------------------------------------------- casts */

zornodeEvalValue *_zornodeEvalProc_INTEGER_OP_INT(zornodeEvalContext *pctx, zornode *pnode)
{
  return zornodeEvalNode(pctx, _evalLeft(pnode));
}

zornodeEvalValue *_zornodeEvalProc_INTEGER_OP_BIG(zornodeEvalContext *pctx, zornode *pnode)
{
  zornodeEvalValue *pval = zornodeEvalNode(pctx, _evalLeft(pnode));
  if (pval->iNull != 0) return pval;
  int64_t ll = zornodeEvalGetBig(pval);
  if (ll < -2147483647LL || ll > 2147483647LL) zornodeEvalJump(ZORNODE_RC_INTRANGE);
  pval->ulLink = NODE_T_VINT;
  pval->u.iValue = static_cast<int32_t>(ll);
  return pval;
}

zornodeEvalValue *_zornodeEvalProc_INTEGER_OP_DOUBLE(zornodeEvalContext *pctx, zornode *pnode)
{
  zornodeEvalValue *pval = zornodeEvalNode(pctx, _evalLeft(pnode));
  if (pval->iNull != 0) return pval;
  double d = zornodeEvalGetDouble(pval);
  if (!(d >= -2147483647.0 && d <= 2147483647.0)) zornodeEvalJump(ZORNODE_RC_INTRANGE);
  pval->ulLink = NODE_T_VINT;
  pval->u.iValue = static_cast<int32_t>(d);
  return pval;
}

/* REAL(): the operand's value rounded to single precision, as DB2 converts to REAL. */
static void _evalSetReal(zornodeEvalValue *pval, double d)
{
  zornodeEvalSetDouble(pval, static_cast<double>(static_cast<float>(d)));
}

zornodeEvalValue *_zornodeEvalProc_REAL_OP_INT(zornodeEvalContext *pctx, zornode *pnode)
{
  zornodeEvalValue *pval = zornodeEvalNode(pctx, _evalLeft(pnode));
  if (pval->iNull == 0) _evalSetReal(pval, static_cast<double>(pval->u.iValue));
  return pval;
}

zornodeEvalValue *_zornodeEvalProc_REAL_OP_BIG(zornodeEvalContext *pctx, zornode *pnode)
{
  zornodeEvalValue *pval = zornodeEvalNode(pctx, _evalLeft(pnode));
  if (pval->iNull == 0) _evalSetReal(pval, static_cast<double>(zornodeEvalGetBig(pval)));
  return pval;
}

zornodeEvalValue *_zornodeEvalProc_REAL_OP_DOUBLE(zornodeEvalContext *pctx, zornode *pnode)
{
  zornodeEvalValue *pval = zornodeEvalNode(pctx, _evalLeft(pnode));
  if (pval->iNull == 0) {
    double d = zornodeEvalGetDouble(pval);
    if (std::isfinite(d) && std::fabs(d) > static_cast<double>(std::numeric_limits<float>::max()))
      zornodeEvalJump(ZORNODE_RC_OVERFLOW);
    _evalSetReal(pval, d);
  }
  return pval;
}

zornodeEvalValue *_zornodeEvalProc_REAL_OP_DEC(zornodeEvalContext *pctx, zornode *pnode)
{
  zornodeEvalValue *pval = zornodeEvalNode(pctx, _evalLeft(pnode));
  if (pval->iNull == 0) _evalSetReal(pval, _evalAsDouble<EVAL_DEC>(pval));
  return pval;
}

zornodeEvalValue *_zornodeEvalProc_DATE_OP_DATE(zornodeEvalContext *pctx, zornode *pnode)
{
  return zornodeEvalNode(pctx, _evalLeft(pnode));
}
zornodeEvalValue *_zornodeEvalProc_TIME_OP_TIME(zornodeEvalContext *pctx, zornode *pnode)
{
  return zornodeEvalNode(pctx, _evalLeft(pnode));
}
zornodeEvalValue *_zornodeEvalProc_TST_OP_TST(zornodeEvalContext *pctx, zornode *pnode)
{
  return zornodeEvalNode(pctx, _evalLeft(pnode));
}

/* =========================================================== procedure table */

#define ZT_INT 0x00
#define ZT_FLT 0x08
#define ZT_DEC 0x0c
#define ZT_CHR 0x10
#define ZT_VCH 0x14
#define ZT_GRA 0x18
#define ZT_VGR 0x1c
#define ZT_DTE 0x20
#define ZT_TME 0x24
#define ZT_TST 0x28
#define ZT_BIG 0x40
#define ZT_ANY 0xFF

/* The 16 ordered numeric pairs, left major: INT, BIG, DOUBLE, DEC. */
#define ZROWS_NUMERIC(CODE, FAM)                                                            \
  {CODE, ZT_INT, ZT_INT, _zornodeEvalProc_##FAM##_OP_INT_INT},                              \
  {CODE, ZT_INT, ZT_BIG, _zornodeEvalProc_##FAM##_OP_INT_BIG},                              \
  {CODE, ZT_INT, ZT_FLT, _zornodeEvalProc_##FAM##_OP_INT_DOUBLE},                           \
  {CODE, ZT_INT, ZT_DEC, _zornodeEvalProc_##FAM##_OP_INT_DEC},                              \
  {CODE, ZT_BIG, ZT_INT, _zornodeEvalProc_##FAM##_OP_BIG_INT},                              \
  {CODE, ZT_BIG, ZT_BIG, _zornodeEvalProc_##FAM##_OP_BIG_BIG},                              \
  {CODE, ZT_BIG, ZT_FLT, _zornodeEvalProc_##FAM##_OP_BIG_DOUBLE},                           \
  {CODE, ZT_BIG, ZT_DEC, _zornodeEvalProc_##FAM##_OP_BIG_DEC},                              \
  {CODE, ZT_FLT, ZT_INT, _zornodeEvalProc_##FAM##_OP_DOUBLE_INT},                           \
  {CODE, ZT_FLT, ZT_BIG, _zornodeEvalProc_##FAM##_OP_DOUBLE_BIG},                           \
  {CODE, ZT_FLT, ZT_FLT, _zornodeEvalProc_##FAM##_OP_DOUBLE_DOUBLE},                        \
  {CODE, ZT_FLT, ZT_DEC, _zornodeEvalProc_##FAM##_OP_DOUBLE_DEC},                           \
  {CODE, ZT_DEC, ZT_INT, _zornodeEvalProc_##FAM##_OP_DEC_INT},                              \
  {CODE, ZT_DEC, ZT_BIG, _zornodeEvalProc_##FAM##_OP_DEC_BIG},                              \
  {CODE, ZT_DEC, ZT_FLT, _zornodeEvalProc_##FAM##_OP_DEC_DOUBLE},                           \
  {CODE, ZT_DEC, ZT_DEC, _zornodeEvalProc_##FAM##_OP_DEC_DEC}

/* The 27 rows of a comparison operator. */
#define ZROWS_COMPARE(CODE, FAM)                                                            \
  {CODE, ZT_CHR, ZT_CHR, _zornodeEvalProc_##FAM##_OP_CHAR},                                 \
  {CODE, ZT_CHR, ZT_VCH, _zornodeEvalProc_##FAM##_OP_CHAR},                                 \
  {CODE, ZT_VCH, ZT_CHR, _zornodeEvalProc_##FAM##_OP_CHAR},                                 \
  {CODE, ZT_VCH, ZT_VCH, _zornodeEvalProc_##FAM##_OP_CHAR},                                 \
  {CODE, ZT_GRA, ZT_GRA, _zornodeEvalProc_##FAM##_OP_GRA},                                  \
  {CODE, ZT_GRA, ZT_VGR, _zornodeEvalProc_##FAM##_OP_GRA},                                  \
  {CODE, ZT_VGR, ZT_GRA, _zornodeEvalProc_##FAM##_OP_GRA},                                  \
  {CODE, ZT_VGR, ZT_VGR, _zornodeEvalProc_##FAM##_OP_GRA},                                  \
  ZROWS_NUMERIC(CODE, FAM),                                                                 \
  {CODE, ZT_DTE, ZT_DTE, _zornodeEvalProc_##FAM##_OP_DATE_DATE},                            \
  {CODE, ZT_TME, ZT_TME, _zornodeEvalProc_##FAM##_OP_TIME_TIME},                            \
  {CODE, ZT_TST, ZT_TST, _zornodeEvalProc_##FAM##_OP_TST_TST}

const zornodeEvalFuncDescriptor aevalFuncDescriptor[ZORNODE_EVAL_FUNC_ROWS] = {
  {NODE_OR_OP, ZT_ANY, ZT_ANY, _zornodeEvalProc_OR_OP},
  {NODE_AND_OP, ZT_ANY, ZT_ANY, _zornodeEvalProc_AND_OP},
  {NODE_NOT_OP, ZT_ANY, ZT_ANY, _zornodeEvalProc_NOT_OP},
  ZROWS_COMPARE(NODE_EQU_OP, EQU),
  ZROWS_COMPARE(NODE_INF_OP, INF),
  ZROWS_COMPARE(NODE_SUP_OP, SUP),
  ZROWS_COMPARE(NODE_DIFF_OP, EQU),
  ZROWS_COMPARE(NODE_SEG_OP, INF),
  ZROWS_COMPARE(NODE_IEG_OP, SUP),
  ZROWS_NUMERIC(NODE_PLS_OP, PLS),
  {NODE_MNSU_OP, ZT_INT, ZT_ANY, _zornodeEvalProc_MNSU_OP_INT},
  {NODE_MNSU_OP, ZT_BIG, ZT_ANY, _zornodeEvalProc_MNSU_OP_BIG},
  {NODE_MNSU_OP, ZT_FLT, ZT_ANY, _zornodeEvalProc_MNSU_OP_DOUBLE},
  {NODE_MNSU_OP, ZT_DEC, ZT_ANY, _zornodeEvalProc_MNSU_OP_DEC},
  ZROWS_NUMERIC(NODE_MNS_OP, MNS),
  ZROWS_NUMERIC(NODE_MLT_OP, MLT),
  {NODE_DIV_OP, ZT_INT, ZT_INT, _zornodeEvalProc_DIV_OP_INT_INT},
  {NODE_DIV_OP, ZT_INT, ZT_BIG, _zornodeEvalProc_DIV_OP_INT_BIG},
  {NODE_DIV_OP, ZT_INT, ZT_FLT, _zornodeEvalProc_DIV_OP_INT_DOUBLE},
  {NODE_DIV_OP, ZT_BIG, ZT_INT, _zornodeEvalProc_DIV_OP_BIG_INT},
  {NODE_DIV_OP, ZT_BIG, ZT_BIG, _zornodeEvalProc_DIV_OP_BIG_BIG},
  {NODE_DIV_OP, ZT_BIG, ZT_FLT, _zornodeEvalProc_DIV_OP_BIG_DOUBLE},
  {NODE_DIV_OP, ZT_FLT, ZT_INT, _zornodeEvalProc_DIV_OP_DOUBLE_INT},
  {NODE_DIV_OP, ZT_FLT, ZT_BIG, _zornodeEvalProc_DIV_OP_DOUBLE_BIG},
  {NODE_DIV_OP, ZT_FLT, ZT_FLT, _zornodeEvalProc_DIV_OP_DOUBLE_DOUBLE},
  {NODE_DIV_OP, ZT_DEC, ZT_DEC, _zornodeEvalProc_DIV_OP_DEC_DEC},
  {NODE_DIV_OP, ZT_DEC, ZT_INT, _zornodeEvalProc_DIV_OP_DEC_INT},
  {NODE_DIV_OP, ZT_DEC, ZT_BIG, _zornodeEvalProc_DIV_OP_DEC_BIG},
  {NODE_DIV_OP, ZT_DEC, ZT_FLT, _zornodeEvalProc_DIV_OP_DEC_DOUBLE},
  {NODE_DIV_OP, ZT_INT, ZT_DEC, _zornodeEvalProc_DIV_OP_INT_DEC},
  {NODE_DIV_OP, ZT_BIG, ZT_DEC, _zornodeEvalProc_DIV_OP_BIG_DEC},
  {NODE_DIV_OP, ZT_FLT, ZT_DEC, _zornodeEvalProc_DIV_OP_DOUBLE_DEC},
  {NODE_INT_OP, ZT_INT, ZT_ANY, _zornodeEvalProc_INTEGER_OP_INT},
  {NODE_INT_OP, ZT_BIG, ZT_ANY, _zornodeEvalProc_INTEGER_OP_BIG},
  {NODE_INT_OP, ZT_FLT, ZT_ANY, _zornodeEvalProc_INTEGER_OP_DOUBLE},
  {NODE_REAL_OP, ZT_INT, ZT_ANY, _zornodeEvalProc_REAL_OP_INT},
  {NODE_REAL_OP, ZT_BIG, ZT_ANY, _zornodeEvalProc_REAL_OP_BIG},
  {NODE_REAL_OP, ZT_FLT, ZT_ANY, _zornodeEvalProc_REAL_OP_DOUBLE},
  {NODE_REAL_OP, ZT_DEC, ZT_ANY, _zornodeEvalProc_REAL_OP_DEC},
  {NODE_DTE_OP, ZT_DTE, ZT_ANY, _zornodeEvalProc_DATE_OP_DATE},
  {NODE_TME_OP, ZT_TME, ZT_ANY, _zornodeEvalProc_TIME_OP_TIME},
  {NODE_TST_OP, ZT_TST, ZT_ANY, _zornodeEvalProc_TST_OP_TST},
  {NODE_DUREE_OP, ZT_INT, ZT_DTE, _zornodeEvalProc_DUREE_OP_INT_DATE},
  {NODE_DUREE_OP, ZT_INT, ZT_TME, _zornodeEvalProc_DUREE_OP_INT_TIME},
  {NODE_DUREE_OP, ZT_INT, ZT_TST, _zornodeEvalProc_DUREE_OP_INT_TST},
  {NODE_DUREE_OP, ZT_DEC, ZT_DTE, _zornodeEvalProc_DUREE_OP_DEC_DATE},
  {NODE_DUREE_OP, ZT_DEC, ZT_TME, _zornodeEvalProc_DUREE_OP_DEC_TIME},
  {NODE_DUREE_OP, ZT_DEC, ZT_TST, _zornodeEvalProc_DUREE_OP_DEC_TST},
  {NODE_DUREE_OP, ZT_DTE, ZT_INT, _zornodeEvalProc_DUREE_OP_DATE_INT},
  {NODE_DUREE_OP, ZT_DTE, ZT_DEC, _zornodeEvalProc_DUREE_OP_DATE_DEC},
  {NODE_DUREE_OP, ZT_TME, ZT_INT, _zornodeEvalProc_DUREE_OP_TIME_INT},
  {NODE_DUREE_OP, ZT_TME, ZT_DEC, _zornodeEvalProc_DUREE_OP_TIME_DEC},
  {NODE_DUREE_OP, ZT_TST, ZT_INT, _zornodeEvalProc_DUREE_OP_TST_INT},
  {NODE_DUREE_OP, ZT_TST, ZT_DEC, _zornodeEvalProc_DUREE_OP_TST_DEC},
  {NODE_DIFFTEMPS_OP, ZT_DTE, ZT_DTE, _zornodeEvalProc_DIFFTEMPS_OP_DATE},
  {NODE_DIFFTEMPS_OP, ZT_TME, ZT_TME, _zornodeEvalProc_DIFFTEMPS_OP_TIME},
  {NODE_DIFFTEMPS_OP, ZT_TST, ZT_TST, _zornodeEvalProc_DIFFTEMPS_OP_TST},
  {NODE_IS_OP, ZT_ANY, ZT_ANY, _zornodeEvalProc_ISNULL_OP},
  {0xFFFF, ZT_ANY, ZT_ANY, nullptr},
};

int zornodeEvalInitProcDict(void)
{
  if (gpdictNodeProc != nullptr) return 0;
  odict *pdict = odictCreate(520, 80);
  if (pdict == nullptr) return ORC_NOMEM;
  for (const zornodeEvalFuncDescriptor *prow = aevalFuncDescriptor; prow->proc != nullptr; prow++) {
    uintptr_t ulKey = zornodeEvalProcKey(prow->usOperator, prow->ucLeft, prow->ucRight);
    if (odictStore(pdict, ulKey, reinterpret_cast<void *>(prow->proc)) != 0) {
      odictDestroy(pdict);
      return ORC_NOMEM;
    }
  }
  gpdictNodeProc = pdict;
  return 0;
}
