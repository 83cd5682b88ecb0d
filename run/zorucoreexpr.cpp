/*
** zorucoreexpr.cpp
**   The column converter of computed SELECT-list columns (see
**   run/zorucoreexpr.h): evaluation on the record, the value laid out in
**   DB2's stored form, then the converter of the result type.
*/
#include "run/zorucoreexpr.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

#include "common/obyte.h"
#include "expr/odecimal.h"
#include "expr/otime.h"
#include "expr/zorcol.h"
#include "expr/zornode.h"
#include "expr/zornodeeval.h"
#include "run/zorucoredel.h"

#define OMSGS_TRACE_KEYWORD "$UCORE"
#define OMSGS_DEBUG_KEYWORD nullptr
#include "common/omsgsmod.h"

namespace {

/* Bytes of the record header: bytes 6-7 hold the fixed-part length. */
constexpr int32_t kilHeader = 8;

/* What a thread keeps between rows: a context per computed column, the laid-out record. */
struct exprThread {
  std::map<const zorucoreExpr *, zornodeEvalContext *> mapContext;
  std::vector<unsigned char> vRecord;
  ~exprThread()
  {
    for (auto &entry : mapContext) zornodeEvalDestroy(entry.second);
  }
};

thread_local exprThread gthread;

/* The thread's context of the column, made on first use; NULL when memory runs out. */
zornodeEvalContext *_exprContext(const zorucoreExpr *pexpr)
{
  auto it = gthread.mapContext.find(pexpr);
  if (it != gthread.mapContext.end()) return it->second;
  zornodeEvalContext *pctx = zornodeEvalCreateSized(pexpr->iDepth, pexpr->iStringMax);
  if (pctx != nullptr) gthread.mapContext.emplace(pexpr, pctx);
  return pctx;
}

/* The bytes of a character value (they run on past acBytes in a widened element). */
const unsigned char *_exprStrBytes(const zornodeEvalValue *pval)
{
  return reinterpret_cast<const unsigned char *>(pval) + offsetof(zornodeEvalValue, u) +
         offsetof(zornodeEvalString, acBytes);
}

}  // namespace

int32_t zorucoreExprLayout(const zornodeEvalValue *pval, int32_t iType, int32_t iSubType, uint16_t usPad,
                           unsigned char *pucRecord, int32_t ilRoom)
{
  if (pval == nullptr || pucRecord == nullptr) return -1;
  bool boNullable = (iType & COLKEY_NULLABLE) != 0;
  bool boNull = pval->iNull != 0;
  if (boNull && !boNullable) return -1;
  unsigned char *puc = pucRecord + kilHeader;
  int32_t ilSlot;      /* bytes of the value's slot */
  int32_t ilData = 0;  /* bytes after the null byte (VARCHAR) */
  switch (iType & 0xFF) {
    case ZORCOL_T_SMALLINT: ilSlot = 2; break;
    case ZORCOL_T_INTEGER: case ZORCOL_T_REAL: ilSlot = 4; break;
    case ZORCOL_T_BIGINT: case ZORCOL_T_DOUBLE: ilSlot = 8; break;
    case ZORCOL_T_DECIMAL: ilSlot = ((iSubType >> 8) & 0xFF) / 2 + 1; break;
    case ZORCOL_T_DATE: ilSlot = 4; break;
    case ZORCOL_T_TIME: ilSlot = 3; break;
    case ZORCOL_T_TIMESTAMP: ilSlot = OTIME_PLEN; break;
    case ZORCOL_T_CHAR: ilSlot = iSubType; break;
    case ZORCOL_T_GRAPHIC: ilSlot = 2 * iSubType; break;
    case ZORCOL_T_VARCHAR:
      ilSlot = 4;
      ilData = boNull ? 0 : pval->u.str.usLength;
      break;
    default: return -1;
  }
  int32_t ilFixed = ilSlot + (boNullable ? 1 : 0);
  int64_t llTotal = int64_t{kilHeader} + ilFixed + ilData;
  if (ilSlot < 0 || llTotal > ilRoom || ilFixed > 0x7FFF) return -1;
  std::memset(pucRecord, 0, static_cast<size_t>(kilHeader + ilFixed));
  obytePutLE16(pucRecord + 6, static_cast<uint16_t>(ilFixed));
  if (boNullable) puc[ilSlot] = boNull ? 1 : 0;
  if (boNull) return static_cast<int32_t>(llTotal);

  switch (iType & 0xFF) {
    case ZORCOL_T_SMALLINT:
      if (pval->u.iValue < -32768 || pval->u.iValue > 32767) return -1;
      obytePutLE16(puc, static_cast<uint16_t>(pval->u.iValue));
      break;
    case ZORCOL_T_INTEGER: obytePutLE32(puc, static_cast<uint32_t>(pval->u.iValue)); break;
    case ZORCOL_T_BIGINT: obytePutLE64(puc, static_cast<uint64_t>(zornodeEvalGetBig(pval))); break;
    case ZORCOL_T_DOUBLE: {
      double d = zornodeEvalGetDouble(pval);
      uint64_t ull;
      std::memcpy(&ull, &d, sizeof ull);
      obytePutLE64(puc, ull);
      break;
    }
    case ZORCOL_T_REAL: {
      float f = static_cast<float>(zornodeEvalGetDouble(pval));
      uint32_t ul;
      std::memcpy(&ul, &f, sizeof ul);
      obytePutLE32(puc, ul);
      break;
    }
    case ZORCOL_T_DECIMAL:
      if (_decToInternal(&pval->u.dec, puc, (iSubType >> 8) & 0xFF, iSubType & 0xFF) != 0) return -1;
      break;
    case ZORCOL_T_DATE: std::memcpy(puc, pval->u.time.acPacked + OTIME_PDATE, 4); break;
    case ZORCOL_T_TIME: std::memcpy(puc, pval->u.time.acPacked + OTIME_PTIME, 3); break;
    case ZORCOL_T_TIMESTAMP: std::memcpy(puc, pval->u.time.acPacked, OTIME_PLEN); break;
    case ZORCOL_T_CHAR: {
      int32_t il = pval->u.str.usLength < ilSlot ? pval->u.str.usLength : ilSlot;
      std::memcpy(puc, _exprStrBytes(pval), static_cast<size_t>(il));
      std::memset(puc + il, usPad & 0xFF, static_cast<size_t>(ilSlot - il));
      break;
    }
    case ZORCOL_T_GRAPHIC: {
      int32_t il = 2 * pval->u.str.usLength < ilSlot ? 2 * pval->u.str.usLength : ilSlot;
      std::memcpy(puc, _exprStrBytes(pval), static_cast<size_t>(il));
      for (int32_t i = il; i + 1 < ilSlot; i += 2) obytePutBE16(puc + i, usPad);
      break;
    }
    case ZORCOL_T_VARCHAR:
      obytePutLE16(puc, static_cast<uint16_t>(ilFixed));
      obytePutLE16(puc + 2, static_cast<uint16_t>(ilData));
      std::memcpy(puc + ilFixed, _exprStrBytes(pval), static_cast<size_t>(ilData));
      break;
    default: return -1;
  }
  return static_cast<int32_t>(llTotal);
}

int zorucoreExprBind(oconvert *pconvert, int32_t iColumn, zorucoreExpr *pexpr)
{
  if (pconvert == nullptr || pexpr == nullptr || pconvert->prowSource == nullptr || iColumn < 0 ||
      iColumn >= pconvert->prowSource->iCount || pconvert->pfunc[iColumn] == nullptr)
    return ORC_INVALID;
  pexpr->funcValue = pconvert->pfunc[iColumn];
  pconvert->pfunc[iColumn] = _zorucore_Expression;
  return 0;
}

int _zorucore_Expression(orow *prowSource, orow *prowTarget)
{
  if (prowSource == nullptr || prowSource->pcoldef == nullptr || prowSource->iCurrent < 0 ||
      prowSource->iCurrent >= prowSource->iCount || prowSource->pcStart == nullptr)
    return ZORUCORE_RC_NOCOLUMN;
  const rowColDef *pdef = &prowSource->pcoldef[prowSource->iCurrent];
  const auto *pexpr = static_cast<const zorucoreExpr *>(pdef->pExtra);
  if (pexpr == nullptr || pexpr->pnode == nullptr || pexpr->funcValue == nullptr) return ZORUCORE_RC_NOCOLUMN;
  zornodeEvalContext *pctx = _exprContext(pexpr);
  if (pctx == nullptr) return ZORUCORE_RC_EXPR;

  zornodeEvalSetRecord(pctx, prowSource->pcStart, static_cast<int32_t>(prowSource->pcEnd - prowSource->pcStart));
  zornodeEvalValue *pval = nullptr;
  int iRc = zornodeEvalValueOf(pctx, pexpr->pnode, &pval);
  if (iRc != 0) {
    omsgsTrace("Computed column %d: evaluation error 0x%x\n", static_cast<int>(prowSource->iCurrent), iRc);
    return ZORUCORE_RC_EXPR;
  }
  std::vector<unsigned char> &vRecord = gthread.vRecord;
  /* header, the widest fixed value (16 packed bytes, a VARCHAR slot), its null byte, a string's bytes */
  int32_t ilText = std::max(pctx->iStringMax, 2 * std::max(0, pdef->iLength));
  size_t ulNeed = static_cast<size_t>(kilHeader) + 16 + 1 + static_cast<size_t>(ilText);
  if (vRecord.size() < ulNeed) vRecord.resize(ulNeed);
  int32_t ilRecord = zorucoreExprLayout(pval, pdef->iType, pdef->iLength, pexpr->pnode->usPadChar, vRecord.data(),
                                        static_cast<int32_t>(vRecord.size()));
  zornodeEvalGive(pctx, pval);
  if (ilRecord < 0) {
    omsgsTrace("Computed column %d: value without stored form in type 0x%x\n", static_cast<int>(prowSource->iCurrent),
               static_cast<unsigned>(pdef->iType));
    return ZORUCORE_RC_EXPR;
  }
  /* the converter of the result type reads the laid-out record in place of the row's */
  char *pcStart = prowSource->pcStart, *pcEnd = prowSource->pcEnd;
  prowSource->pcStart = reinterpret_cast<char *>(vRecord.data());
  prowSource->pcEnd = prowSource->pcStart + ilRecord;
  iRc = pexpr->funcValue(prowSource, prowTarget);
  prowSource->pcStart = pcStart;
  prowSource->pcEnd = pcEnd;
  return iRc;
}
