/*
** zornode.cpp
**   Expression trees: constructors, deep copy, destruction, debug print,
**   binding of column nodes to a record layout, view substitution and the
**   walks that the run step needs (depth, bound columns).  See zornode.h for
**   the node, its vocabularies and the ownership rules.
*/
#include "expr/zornode.h"

#include <cstdlib>
#include <cstring>
#include <ctime>

#include "common/ochar.h"
#include "common/olist.h"
#include "common/ostream.h"
#include "model/parm.h"
#include "model/zoratom.h"
#include "expr/zorcol.h"

#define OMSGS_TRACE_KEYWORD "$NODE"
#define OMSGS_DEBUG_KEYWORD "$NODED"
#include "common/omsgsmod.h"

/* --------------------------------------------------------------- helpers */

static void _nodeSetPositions(zornode *pnode, const ostreamLocation *plocStart,
                              const ostreamLocation *plocEnd)
{
  if (plocStart != nullptr) {
    pnode->sStartColumn = static_cast<int16_t>(plocStart->first_column);
    pnode->sStartLine = static_cast<int16_t>(plocStart->first_line);
  }
  if (plocEnd != nullptr) {
    pnode->sEndColumn = static_cast<int16_t>(plocEnd->last_column);
    pnode->sEndLine = static_cast<int16_t>(plocEnd->last_line);
  }
}

/* A zeroed constant node with a zeroed buffer of ulSize bytes (none for 0). */
static zornode *_nodeCreateConstant(int iCode, uint16_t usCtrlType, uint16_t usLength, size_t ulSize)
{
  zornode *pnode = static_cast<zornode *>(std::calloc(1, sizeof(zornode)));
  if (pnode == nullptr) return nullptr;
  if (ulSize > 0) {
    pnode->pLeft = std::calloc(1, ulSize);
    if (pnode->pLeft == nullptr) {
      std::free(pnode);
      return nullptr;
    }
  }
  pnode->sKind = ZORNODE_CSTE;
  pnode->sCode = static_cast<int16_t>(iCode);
  pnode->usCtrlType = usCtrlType;
  pnode->usLength = usLength;
  return pnode;
}

static uint16_t _nodeGetU16(const void *p)
{
  uint16_t us;
  std::memcpy(&us, p, sizeof us);
  return us;
}

static void _nodePutU16(void *p, uint16_t us)
{
  std::memcpy(p, &us, sizeof us);
}

/*
** Size of a constant's value buffer as its data type code lays it out; 0 for
** the NULL constant, -1 for a code whose layout is not known here.
*/
static long _nodeConstantSize(const zornode *pnode)
{
  const unsigned char *pc = static_cast<const unsigned char *>(pnode->pLeft);
  switch (pnode->sCode) {
    case NODE_CTINT: return 4;
    case NODE_CTSMI: return 2;
    case NODE_CTFLT: return 8;
    case NODE_CTBIG: return 8;
    case NODE_CTDEC: return ZORNODE_DECIMAL_SIZE;
    case NODE_CTNULL: return 0;
    case NODE_CTCHR:
    case NODE_CTVCH:
    case NODE_CTDTE:
    case NODE_CTTME:
    case NODE_CTTST:
      return 2L + _nodeGetU16(pc);
    case NODE_CTGRA:
    case NODE_CTVGR:
      return 2L + 2L * _nodeGetU16(pc);
    default:
      return -1;
  }
}

/* Packs 0..99 as one BCD byte. */
static unsigned char _nodeBcd(int iValue)
{
  return static_cast<unsigned char>((iValue / 10) * 16 + iValue % 10);
}

/* CCSID of default character values: the DECPSID parameter (850 when unset). */
static uint16_t _nodeDefaultCcsid(void)
{
  const int16_t *ps = static_cast<const int16_t *>(parmGetWithControl(PARM_ID(PARM_OPTDB2I, 14), 0));
  if (ps == nullptr || *ps == 0) return OCHAR_CCSID_ASCII;
  return static_cast<uint16_t>(*ps);
}

/* ---------------------------------------------------------- constructors */

zornode *zornodeCreate(int iKind, int iCode, void *pLeft, void *pRight, uint16_t usStatus,
                       const ostreamLocation *plocStart, const ostreamLocation *plocEnd)
{
  zornode *pnode = static_cast<zornode *>(std::calloc(1, sizeof(zornode)));
  if (pnode == nullptr) return nullptr;
  pnode->sKind = static_cast<int16_t>(iKind);
  pnode->sCode = static_cast<int16_t>(iCode);
  pnode->pLeft = pLeft;
  pnode->pRight = pRight;
  pnode->usStatus = usStatus;
  _nodeSetPositions(pnode, plocStart, plocEnd);
  return pnode;
}

zornode *zornodeCreateNull(const ostreamLocation *plocStart, const ostreamLocation *plocEnd)
{
  zornode *pnode = _nodeCreateConstant(NODE_CTNULL, NODE_T_NULL, 0, 0);
  if (pnode != nullptr) _nodeSetPositions(pnode, plocStart, plocEnd);
  return pnode;
}

zornode *zornodeCreateInteger(int32_t iValue, const ostreamLocation *plocStart,
                              const ostreamLocation *plocEnd)
{
  zornode *pnode = _nodeCreateConstant(NODE_CTINT, NODE_T_INT, 4, 4);
  if (pnode == nullptr) return nullptr;
  std::memcpy(pnode->pLeft, &iValue, 4);
  _nodeSetPositions(pnode, plocStart, plocEnd);
  return pnode;
}

zornode *zornodeCreateSmallInt(int16_t sValue, const ostreamLocation *plocStart,
                               const ostreamLocation *plocEnd)
{
  zornode *pnode = _nodeCreateConstant(NODE_CTSMI, NODE_T_SMI, 2, 2);
  if (pnode == nullptr) return nullptr;
  std::memcpy(pnode->pLeft, &sValue, 2);
  _nodeSetPositions(pnode, plocStart, plocEnd);
  return pnode;
}

zornode *zornodeCreateBigint(uint32_t ulLow, uint32_t ulHigh, const ostreamLocation *plocStart,
                             const ostreamLocation *plocEnd)
{
  zornode *pnode = _nodeCreateConstant(NODE_CTBIG, NODE_T_BIG, 8, 8);
  if (pnode == nullptr) return nullptr;
  int64_t llValue = static_cast<int64_t>((static_cast<uint64_t>(ulHigh) << 32) | ulLow);
  std::memcpy(pnode->pLeft, &llValue, 8);
  _nodeSetPositions(pnode, plocStart, plocEnd);
  return pnode;
}

zornode *zornodeCreateFloat(uint32_t ulLow, uint32_t ulHigh, const ostreamLocation *plocStart,
                            const ostreamLocation *plocEnd)
{
  zornode *pnode = _nodeCreateConstant(NODE_CTFLT, NODE_T_FLT, 8, 8);
  if (pnode == nullptr) return nullptr;
  uint64_t ullBits = (static_cast<uint64_t>(ulHigh) << 32) | ulLow;
  double d;
  std::memcpy(&d, &ullBits, 8);
  std::memcpy(pnode->pLeft, &d, 8);
  _nodeSetPositions(pnode, plocStart, plocEnd);
  return pnode;
}

zornode *zornodeCreateDecimal(unsigned char *pcBuffer, const ostreamLocation *plocStart,
                              const ostreamLocation *plocEnd)
{
  zornode *pnode = _nodeCreateConstant(NODE_CTDEC, NODE_T_DEC, 0, 0);
  if (pnode == nullptr) return nullptr;
  pnode->pLeft = pcBuffer;
  if (pcBuffer != nullptr) pnode->usLength = static_cast<uint16_t>(pcBuffer[0] << 8 | pcBuffer[1]);
  _nodeSetPositions(pnode, plocStart, plocEnd);
  return pnode;
}

zornode *zornodeCreateLitteral(const ochar *pchar, const ostreamLocation *plocStart,
                               const ostreamLocation *plocEnd)
{
  if (pchar == nullptr) return nullptr;
  int32_t ilBytes = pchar->ilBU > 0 ? pchar->ilBU : 0;
  if (ilBytes > 0xFFFF * 2) return nullptr;
  bool boGraphic = (pchar->usFlags & OCHAR_CLASS) == OCHAR_DBCS;
  uint16_t usPrefix = boGraphic ? static_cast<uint16_t>(ilBytes / 2) : static_cast<uint16_t>(ilBytes);
  if (!boGraphic && ilBytes > 0xFFFF) return nullptr;
  zornode *pnode = boGraphic ? _nodeCreateConstant(NODE_CTGRA, NODE_T_GRA, usPrefix, 2 + static_cast<size_t>(usPrefix) * 2)
                             : _nodeCreateConstant(NODE_CTCHR, NODE_T_CHN, usPrefix, 2 + static_cast<size_t>(usPrefix));
  if (pnode == nullptr) return nullptr;
  unsigned char *pc = static_cast<unsigned char *>(pnode->pLeft);
  _nodePutU16(pc, usPrefix);
  size_t ulCopy = boGraphic ? static_cast<size_t>(usPrefix) * 2 : usPrefix;
  if (ulCopy > 0 && pchar->pcData != nullptr) std::memcpy(pc + 2, _charText(pchar), ulCopy);
  pnode->sCCSID = static_cast<int16_t>(pchar->usCCSID);
  pnode->usStatus = static_cast<uint16_t>(pchar->usFlags & OCHAR_CLASS);
  pnode->usPadChar = ocharConvertChar(' ', pchar->usCCSID, nullptr);
  _nodeSetPositions(pnode, plocStart, plocEnd);
  return pnode;
}

zornode *zornodeCreateCurrent(int iCode)
{
  int iOperator;
  uint16_t usCtrlType, usLength;
  switch (iCode) {
    case NODE_CTDTE: iOperator = NODE_DTE_OP; usCtrlType = NODE_T_DTE; usLength = 4; break;
    case NODE_CTTME: iOperator = NODE_TME_OP; usCtrlType = NODE_T_TME; usLength = 3; break;
    case NODE_CTTST: iOperator = NODE_TST_OP; usCtrlType = NODE_T_TST; usLength = 10; break;
    default: return nullptr;
  }
  time_t t = std::time(nullptr);
  struct tm tmNow;
  if (localtime_r(&t, &tmNow) == nullptr) std::memset(&tmNow, 0, sizeof tmNow);
  int iYear = tmNow.tm_year + 1900;
  unsigned char acPacked[10] = {_nodeBcd(iYear / 100), _nodeBcd(iYear % 100), _nodeBcd(tmNow.tm_mon + 1),
                                _nodeBcd(tmNow.tm_mday), _nodeBcd(tmNow.tm_hour), _nodeBcd(tmNow.tm_min),
                                _nodeBcd(tmNow.tm_sec > 59 ? 59 : tmNow.tm_sec), 0, 0, 0};

  zornode *pcste = _nodeCreateConstant(iCode, usCtrlType, usLength, 2 + usLength);
  if (pcste == nullptr) return nullptr;
  unsigned char *pc = static_cast<unsigned char *>(pcste->pLeft);
  _nodePutU16(pc, usLength);
  std::memcpy(pc + 2, iCode == NODE_CTTME ? acPacked + 4 : acPacked, usLength);

  zornode *pnode = zornodeCreate(ZORNODE_OPRT, iOperator, pcste, nullptr, 0, nullptr, nullptr);
  if (pnode == nullptr) zornodeDestroy(pcste);
  return pnode;
}

zornode *zornodeCreateFromListRef(olist *plist, int iLink)
{
  if (plist == nullptr) return nullptr;
  zornode *pnodeFirst = nullptr, *pnodePrev = nullptr;
  for (olistRef *pref = static_cast<olistRef *>(plist->pitemTop); pref != nullptr;
       pref = static_cast<olistRef *>(pref->pitemNext)) {
    zornode *pnode = static_cast<zornode *>(pref->pData);
    if (pnode == nullptr) continue;
    if (pnodePrev == nullptr) {
      pnodeFirst = pnode;
    } else if (iLink == 2) {
      pnodePrev->pRight = pnode;
    } else {
      pnodePrev->pLeft = pnode;
    }
    pnodePrev = pnode;
  }
  return pnodeFirst;
}

zornode *zornodeCreateDefaultValue(int iType, int32_t ilLength)
{
  zornode *pnode = nullptr;
  unsigned char *pc;
  uint16_t usLen = static_cast<uint16_t>(ilLength < 0 ? 0 : (ilLength > 0xFFFF ? 0xFFFF : ilLength));
  switch (iType) {
    case ZORCOL_T_SMALLINT:
    case ZORCOL_T_INTEGER:
      return _nodeCreateConstant(NODE_CTINT, NODE_T_VINT, 4, 4);
    case ZORCOL_T_DECIMAL:
      pnode = _nodeCreateConstant(NODE_CTDEC, NODE_T_VDEC, usLen, ZORNODE_DECIMAL_SIZE);
      if (pnode == nullptr) return nullptr;
      pc = static_cast<unsigned char *>(pnode->pLeft);
      pc[0] = static_cast<unsigned char>(usLen >> 8);
      pc[1] = static_cast<unsigned char>(usLen & 0xFF);
      pc[ZORNODE_DECIMAL_SIZE - 1] = 0x0C;   /* positive zero */
      return pnode;
    case ZORCOL_T_DOUBLE:
      return _nodeCreateConstant(NODE_CTFLT, NODE_T_VFLT, 8, 8);
    case ZORCOL_T_REAL:
      return _nodeCreateConstant(NODE_CTFLT, NODE_T_VFLT, 4, 8);
    case ZORCOL_T_BIGINT:
      return _nodeCreateConstant(NODE_CTBIG, NODE_T_VBIG, 8, 8);
    case ZORCOL_T_CHAR:
      pnode = _nodeCreateConstant(NODE_CTCHR, NODE_T_VCHR, usLen, 2 + static_cast<size_t>(usLen));
      if (pnode == nullptr) return nullptr;
      pc = static_cast<unsigned char *>(pnode->pLeft);
      _nodePutU16(pc, usLen);
      std::memset(pc + 2, 0x20, usLen);
      break;
    case ZORCOL_T_VARCHAR:
      pnode = _nodeCreateConstant(NODE_CTVCH, NODE_T_VVCH, 0, 2 + static_cast<size_t>(usLen));
      if (pnode == nullptr) return nullptr;
      break;
    case ZORCOL_T_DATE:
      pnode = _nodeCreateConstant(NODE_CTDTE, NODE_T_DTE, 4, 6);
      if (pnode == nullptr) return nullptr;
      pc = static_cast<unsigned char *>(pnode->pLeft);
      _nodePutU16(pc, 4);
      pc[3] = pc[4] = pc[5] = 0x01;   /* 0001-01-01 */
      return pnode;
    case ZORCOL_T_TIME:
      pnode = _nodeCreateConstant(NODE_CTTME, NODE_T_VTME, 3, 5);
      if (pnode == nullptr) return nullptr;
      _nodePutU16(pnode->pLeft, 3);
      return pnode;
    case ZORCOL_T_TIMESTAMP:
      pnode = _nodeCreateConstant(NODE_CTTST, NODE_T_VTST, 10, 12);
      if (pnode == nullptr) return nullptr;
      pc = static_cast<unsigned char *>(pnode->pLeft);
      _nodePutU16(pc, 10);
      pc[3] = pc[4] = pc[5] = 0x01;
      return pnode;
    case ZORCOL_T_GRAPHIC:
      /* the prefix counts characters: two bytes each */
      pnode = _nodeCreateConstant(NODE_CTGRA, NODE_T_VGRA, usLen, 2 + 2 * static_cast<size_t>(usLen));
      if (pnode == nullptr) return nullptr;
      pc = static_cast<unsigned char *>(pnode->pLeft);
      _nodePutU16(pc, usLen);
      std::memset(pc + 2, 0x20, 2 * static_cast<size_t>(usLen));
      break;
    case ZORCOL_T_VARGRAPHIC:
      pnode = _nodeCreateConstant(NODE_CTVGR, NODE_T_VVGR, 0, 2 + 2 * static_cast<size_t>(usLen));
      if (pnode == nullptr) return nullptr;
      break;
    default:
      return nullptr;
  }
  pnode->sCCSID = static_cast<int16_t>(_nodeDefaultCcsid());
  return pnode;
}

zornode *zornodeCreateNullIndicator(const zorcol *pcol, const ochar *pcharNotNull,
                                    const ochar *pcharNull)
{
  if (pcol == nullptr || pcol->pnodeExpr == nullptr) return nullptr;
  zornode *pnodeCopy = zornodeClone(pcol->pnodeExpr);
  zornode *pnodeIs = pnodeCopy ? zornodeCreate(ZORNODE_OPRT, NODE_IS_OP, pnodeCopy, nullptr, 0, nullptr, nullptr)
                               : nullptr;
  zornode *pnodeThen = zornodeCreateLitteral(pcharNull, nullptr, nullptr);
  zornode *pnodeElse = zornodeCreateLitteral(pcharNotNull, nullptr, nullptr);
  zornode *pnodeCont = nullptr, *pnodeIf = nullptr;
  if (pnodeIs != nullptr && pnodeThen != nullptr && pnodeElse != nullptr) {
    pnodeCont = zornodeCreate(ZORNODE_OPRT, NODE_CONT_IF_OP, pnodeThen, pnodeElse, 0, nullptr, nullptr);
    if (pnodeCont != nullptr) {
      pnodeIf = zornodeCreate(ZORNODE_OPRT, NODE_IF_OP, pnodeIs, pnodeCont, 0, nullptr, nullptr);
      if (pnodeIf != nullptr) return pnodeIf;
      zornodeDestroy(pnodeCont);
      pnodeThen = pnodeElse = nullptr;
    }
  }
  if (pnodeIs != nullptr) zornodeDestroy(pnodeIs);
  else zornodeDestroy(pnodeCopy);
  zornodeDestroy(pnodeThen);
  zornodeDestroy(pnodeElse);
  return nullptr;
}

int zornodeCompleteCaseNode(zornode *pnode, const zorcol *pcol)
{
  while (pnode != nullptr && pnode->sKind == ZORNODE_OPRT && pnode->sCode == NODE_IF_OP) {
    zornode *pnodeCont = static_cast<zornode *>(pnode->pRight);
    if (pnodeCont == nullptr || (pnode->usStatus & NODE_RIGHT_NOT) || pnodeCont->sKind != ZORNODE_OPRT ||
        pnodeCont->sCode != NODE_CONT_IF_OP)
      return ZORNODE_RC_NOCONTIF;
    if (pcol == nullptr) return ORC_INVALID;
    if (pnodeCont->pLeft == nullptr) {
      pnodeCont->pLeft = zornodeCreateDefaultValue(pcol->iType & 0xFF, pcol->iSubType);
      if (pnodeCont->pLeft == nullptr) return ORC_NOMEM;
      pnodeCont->usStatus &= static_cast<uint16_t>(~NODE_LEFT_NOT);
    }
    if (pnodeCont->pRight == nullptr) {
      if (pcol->pnodeExpr != nullptr) {
        pnodeCont->pRight = zornodeClone(pcol->pnodeExpr);
        if (pnodeCont->pRight == nullptr) return ORC_NOMEM;
        pnodeCont->usStatus &= static_cast<uint16_t>(~NODE_RIGHT_NOT);
      }
      return 0;
    }
    pnode = static_cast<zornode *>(pnodeCont->pRight);
  }
  return 0;
}

/* ------------------------------------------------------- copy and destroy */

zornode *zornodeClone(const zornode *pnode)
{
  if (pnode == nullptr) return nullptr;
  zornode *pcopy = static_cast<zornode *>(std::malloc(sizeof(zornode)));
  if (pcopy == nullptr) return nullptr;
  *pcopy = *pnode;
  pcopy->procEval = nullptr;

  switch (pnode->sKind) {
    case ZORNODE_CSTE: {
      /* the check rewrites constant buffers in place: each tree has its own */
      pcopy->pLeft = nullptr;
      pcopy->pRight = nullptr;
      if (pnode->pLeft != nullptr) {
        long lSize = (pnode->usStatus & NODE_LEFT_NOT) ? -1 : _nodeConstantSize(pnode);
        if (lSize < 0) {
          pcopy->pLeft = pnode->pLeft;           /* not ours to copy: share it */
          pcopy->usStatus |= NODE_LEFT_NOT;
        } else if (lSize > 0) {
          pcopy->pLeft = std::malloc(static_cast<size_t>(lSize));
          if (pcopy->pLeft == nullptr) {
            std::free(pcopy);
            return nullptr;
          }
          std::memcpy(pcopy->pLeft, pnode->pLeft, static_cast<size_t>(lSize));
        }
      }
      if (pnode->pRight != nullptr) {
        if (pnode->usStatus & NODE_RIGHT_NOT) {
          pcopy->pRight = pnode->pRight;
        } else {
          pcopy->pRight = zornodeClone(static_cast<const zornode *>(pnode->pRight));
          if (pcopy->pRight == nullptr) {
            pcopy->usStatus |= NODE_RIGHT_NOT;
            zornodeDestroy(pcopy);
            return nullptr;
          }
        }
      }
      return pcopy;
    }
    case ZORNODE_VAR: {
      if ((pnode->usStatus & (NODE_SUBS | NODE_LEFT_NOT)) || pnode->pLeft == nullptr) return pcopy;
      /* copy the column without its own expression */
      zorcol *pcol = static_cast<zorcol *>(pnode->pLeft);
      zornode *pnodeExpr = pcol->pnodeExpr;
      pcol->pnodeExpr = nullptr;
      zorcol *pcolCopy = zorcolClone(pcol);
      pcol->pnodeExpr = pnodeExpr;
      if (pcolCopy == nullptr) {
        std::free(pcopy);
        return nullptr;
      }
      pcopy->pLeft = pcolCopy;
      return pcopy;
    }
    case ZORNODE_OPRT: {
      pcopy->pLeft = (pnode->usStatus & NODE_LEFT_NOT) ? pnode->pLeft : nullptr;
      pcopy->pRight = (pnode->usStatus & NODE_RIGHT_NOT) ? pnode->pRight : nullptr;
      if (!(pnode->usStatus & NODE_LEFT_NOT) && pnode->pLeft != nullptr) {
        pcopy->pLeft = zornodeClone(static_cast<const zornode *>(pnode->pLeft));
        if (pcopy->pLeft == nullptr) {
          std::free(pcopy);
          return nullptr;
        }
      }
      if (!(pnode->usStatus & NODE_RIGHT_NOT) && pnode->pRight != nullptr) {
        pcopy->pRight = zornodeClone(static_cast<const zornode *>(pnode->pRight));
        if (pcopy->pRight == nullptr) {
          zornodeDestroy(static_cast<zornode *>((pnode->usStatus & NODE_LEFT_NOT) ? nullptr : pcopy->pLeft));
          std::free(pcopy);
          return nullptr;
        }
      }
      return pcopy;
    }
    default:
      /* nothing of an unknown node is ours to copy or to free */
      pcopy->usStatus |= NODE_LEFT_NOT | NODE_RIGHT_NOT;
      return pcopy;
  }
}

void zornodeDestroy(zornode *pnode)
{
  while (pnode != nullptr) {
    zornode *pnodeNext = nullptr;   /* owned list successor of a constant, freed iteratively */
    switch (pnode->sKind) {
      case ZORNODE_OPRT:
        if (!(pnode->usStatus & NODE_LEFT_NOT)) zornodeDestroy(static_cast<zornode *>(pnode->pLeft));
        if (!(pnode->usStatus & NODE_RIGHT_NOT)) zornodeDestroy(static_cast<zornode *>(pnode->pRight));
        break;
      case ZORNODE_VAR:
        /* a bound node points at the run step's definition, which is not ours */
        if (!(pnode->usStatus & (NODE_LEFT_NOT | NODE_SUBS))) zorcolDestroy(static_cast<zorcol *>(pnode->pLeft));
        break;
      case ZORNODE_CSTE:
        if (!(pnode->usStatus & NODE_LEFT_NOT)) std::free(pnode->pLeft);
        if (!(pnode->usStatus & NODE_RIGHT_NOT)) pnodeNext = static_cast<zornode *>(pnode->pRight);
        break;
      default:
        break;
    }
    std::free(pnode);
    pnode = pnodeNext;
  }
}

/* ---------------------------------------------------------------- names */

const char *zornodeGetTypeName(int iCode)
{
  static const char *const apcNames[] = {
      "NODE_CTUNK", "NODE_CTNLL", "NODE_CTINT", "NODE_CTSMI", "NODE_CTFLT", "NODE_CTDEC",
      "NODE_CTCHR", "NODE_CTVCH", "NODE_CTGRA", "NODE_CTVGR", "NODE_CTDTE", "NODE_CTTME",
      "NODE_CTTST", "NODE_CTBLOB", "NODE_CTCLOB", "NODE_DBCLOB", "NODE_ROWID"};
  if (iCode < -8 || iCode > 56 || (iCode & 3) != 0) return "Unknown";
  return apcNames[(iCode + 8) / 4];
}

/* Operator codes -16 .. 0xe4 in steps of 4: debug names and display texts. */
static const char *const gapcOperatorNames[] = {
    "NODE_CONT_DUREE_OP", "NODE_CONT_IF_OP", "NODE_CONT_IN_OP", "NODE_CONT_VAL_OP",
    "NODE_OR_OP", "NODE_AND_OP", "NODE_NOT_OP", "NODE_EQU_OP", "NODE_INF_OP", "NODE_SUP_OP",
    "NODE_DIFF_OP", "NODE_IEG_OP", "NODE_SEG_OP", "NODE_IN_OP", "NODE_LIKE_OP", "NODE_PLS_OP",
    "NODE_MNS_OP", "NODE_MLT_OP", "NODE_DIV_OP", "NODE_MNSU_OP", "NODE_IS_OP", "NODE_INT_OP",
    "NODE_FLT_OP", "NODE_DEC_OP", "NODE_DTE_OP", "NODE_TME_OP", "NODE_TST_OP", "NODE_YEA_OP",
    "NODE_MON_OP", "NODE_DAY_OP", "NODE_HOU_OP", "NODE_MIN_OP", "NODE_SEC_OP", "NODE_MIC_OP",
    "NODE_DAYS_OP", "NODE_LEN_OP", "NODE_NUL_OP", "NODE_VAL_OP", "NODE_SUBSTR_OP", "NODE_STRIP_OP",
    "NODE_CHR_OP", "NODE_DIG_OP", "NODE_HEX_OP", "NODE_VARG_OP", "NODE_CONCAT_OP",
    "NODE_IN_OP_RANDOM", "NODE_ABS_OP", "NODE_CEIL_OP", "NODE_DAYOFWEEK_OP", "NODE_DAYOFYEAR_OP",
    "NODE_FLOOR_OP", "NODE_MNSECONDS_OP", "NODE_MOD_OP", "NODE_QUARTER_OP", "NODE_REAL_OP",
    "NODE_SIGN_OP", "NODE_SMINT_OP", "NODE_TRUNC_OP", "NODE_CONVERSION_OP", "NODE_IF_OP",
    "NODE_DUREE_OP", "NODE_DIFFTEMPS_OP"};

static const char *const gapcOperatorTexts[] = {
    "OR", "AND", "NOT", "=", "<", ">", "<>", "<=", ">=", "IN", "LIKE", "+", "-", "*", "/", "-",
    "IS", "INTEGER()", "FLOAT()", "DECIMAL()", "DATE()", "TIME()", "TIMESTAMP()", "YEAR()",
    "MONTH()", "DAY()", "HOUR()", "MINUTE()", "SECOND()", "MICROSECOND()", "DAYS()", "LENGTH()",
    "NULLIF()", "VAL()", "SUBSTR()", "STRIP()", "CHAR()", "DIGIT()", "HEX()", "VARGRAPHIC()",
    "CONCAT", "IN", "ABS()", "CEIL()", "DAYOFWEEK()", "DAYOFYEAR()", "FLOOR()",
    "MIDNIGTHSECONDS()", "MOD()", "QUARTER()", "REAL()", "SIGN()", "SMALLINT()", "TRUNCATE()",
    "CONVERSION", "IF", "DUREE", "DIFFTEMPS"};

const char *zornodeGetOperatorName(int iCode)
{
  if (iCode < NODE_CONT_DUREE_OP || iCode > NODE_DIFFTEMPS_OP + 3) return "Unknown";
  return gapcOperatorNames[(iCode + 16) / 4];
}

const char *zornodeGetOperatorText(int iCode)
{
  if (iCode < 0 || iCode > NODE_DIFFTEMPS_OP + 3) return "";
  return gapcOperatorTexts[iCode / 4];
}

const char *zornodeGetCtrlTypeName(unsigned uCtrlType)
{
  switch (uCtrlType) {
    case NODE_T_INC: return "NODE_T_INC";
    case NODE_T_BOOL: return "NODE_T_BOOL";
    case NODE_T_NULL: return "NODE_T_NULL";
    case NODE_T_VDTE: return "NODE_T_VDTE";
    case NODE_T_VTME: return "NODE_T_VTME";
    case NODE_T_VTST: return "NODE_T_VTST";
    case NODE_T_VCHR: return "NODE_T_VCHR";
    case NODE_T_VGRA: return "NODE_T_VGRA";
    case NODE_T_VVCH: return "NODE_T_VVCH";
    case NODE_T_VVGR: return "NODE_T_VVGR";
    case NODE_T_VINT: return "NODE_T_VINT";
    case NODE_T_VSMI: return "NODE_T_VSMI";
    case NODE_T_VFLT: return "NODE_T_VFLT";
    case NODE_T_VDEC: return "NODE_T_VDEC";
    case NODE_T_DTE: return "NODE_T_DTE";
    case NODE_T_TME: return "NODE_T_TME";
    case NODE_T_TST: return "NODE_T_TST";
    case NODE_T_CHN: return "NODE_T_CHN";
    case NODE_T_INT: return "NODE_T_INT";
    case NODE_T_SMI: return "NODE_T_SMI";
    case NODE_T_FLT: return "NODE_T_FLT";
    case NODE_T_DEC: return "NODE_T_DEC";
    default: return "Unknown";
  }
}

/* ------------------------------------------------------------------ print */

static void _nodePrintStatus(const zornode *pnode, FILE *pfile)
{
  static const struct {
    uint16_t usBit;
    const char *pcName;
  } aStatus[] = {{NODE_LEFT_NOT, "LEFT_NOT"}, {NODE_RIGHT_NOT, "RIGHT_NOT"},
                 {NODE_VARIABLE_LENGHT, "VARIABLE_LENGHT"}, {NODE_NULLABLE, "NULLABLE"},
                 {NODE_SBCS, "SBCS"}, {NODE_DBCS, "DBCS"}, {NODE_VBCS, "VBCS"}, {NODE_FBD, "FBD"},
                 {NODE_SUBS, "SUBS"}};
  std::fprintf(pfile, "    Status      :\t%4.4X/", pnode->usStatus);
  for (const auto &s : aStatus)
    if (pnode->usStatus & s.usBit) std::fprintf(pfile, "%s ", s.pcName);
  std::fprintf(pfile, "\n");
}

static void _nodePrintConstantValue(const zornode *pnode, FILE *pfile)
{
  const unsigned char *pc = static_cast<const unsigned char *>(pnode->pLeft);
  if (pc == nullptr) return;
  long lDump = 0;
  switch (pnode->sCode) {
    case NODE_CTINT: {
      int32_t i;
      std::memcpy(&i, pc, 4);
      std::fprintf(pfile, "   Integer:%i\n", i);
      return;
    }
    case NODE_CTSMI: {
      int16_t s;
      std::memcpy(&s, pc, 2);
      std::fprintf(pfile, "   SmallInt:%i\n", s);
      return;
    }
    case NODE_CTFLT: {
      double d;
      std::memcpy(&d, pc, 8);
      std::fprintf(pfile, "   SmallInt:%f\n", d);
      return;
    }
    case NODE_CTDEC: lDump = ZORNODE_DECIMAL_SIZE; break;
    case NODE_CTCHR:
    case NODE_CTVCH: lDump = 2L + _nodeGetU16(pc); break;
    case NODE_CTDTE: lDump = 6; break;
    case NODE_CTTME: lDump = 5; break;
    case NODE_CTTST: lDump = 12; break;
    default: return;
  }
  FILE *pf = pfile;
  _charDumpBuffer(0, &pf, pc, pc, static_cast<int32_t>(lDump));
}

void zornodePrint(const zornode *pnode, FILE *pfile, int iDepth)
{
  if (pnode == nullptr || pfile == nullptr) return;
  std::fprintf(pfile, "%3.3i  ZORNODE node %p \n", iDepth, static_cast<const void *>(pnode));
  std::fprintf(pfile, "    ccsid: %i    usLen: %x\n", pnode->sCCSID, pnode->usLength);
  unsigned uCode = static_cast<uint16_t>(pnode->sCode);
  switch (pnode->sKind) {
    case ZORNODE_VAR:
      std::fprintf(pfile, "    ZORNODE VAR  :\t%4.4X/%s\n", uCode, zornodeGetTypeName(pnode->sCode));
      std::fprintf(pfile, "    Ctrl Type    :\t%4.4X/%s\n", pnode->usCtrlType,
                   zornodeGetCtrlTypeName(pnode->usCtrlType));
      _nodePrintStatus(pnode, pfile);
      std::fprintf(pfile, "    External Type:\t%4.4X/%s\n", pnode->usExtType,
                   zornodeGetCtrlTypeName(pnode->usExtType));
      std::fprintf(pfile, "    External Len :\t%x\n", pnode->usExtLength);
      if (pnode->usStatus & NODE_SUBS) std::fprintf(pfile, "    ECT : %p\n", pnode->pLeft);
      else zorcolPrint(static_cast<const zorcol *>(pnode->pLeft), pfile);
      break;
    case ZORNODE_OPRT:
      std::fprintf(pfile, "    ZORNODE OPRT :\t%4.4x/%s\n", uCode, zornodeGetOperatorName(pnode->sCode));
      std::fprintf(pfile, "    Ctrl Type    :\t%4.4X/%s\n", pnode->usCtrlType,
                   zornodeGetCtrlTypeName(pnode->usCtrlType));
      std::fprintf(pfile, "    External Type:\t%4.4X/%s\n", pnode->usExtType,
                   zornodeGetCtrlTypeName(pnode->usExtType));
      std::fprintf(pfile, "    External Len :\t%x\n", pnode->usExtLength);
      _nodePrintStatus(pnode, pfile);
      if (pnode->usStatus & NODE_LEFT_NOT) {
        std::fprintf(pfile, "= -> LeftValue: %8.8X\n", static_cast<unsigned>(reinterpret_cast<uintptr_t>(pnode->pLeft)));
      } else {
        std::fprintf(pfile, "+ -> Node Left :  ");
        zornodePrint(static_cast<const zornode *>(pnode->pLeft), pfile, iDepth + 1);
        std::fprintf(pfile, "- <- Node Left :  %3.3i\n", iDepth);
      }
      if (pnode->usStatus & NODE_RIGHT_NOT) {
        std::fprintf(pfile, "= -> RigthValue: %8.8X\n", static_cast<unsigned>(zornodeRightValue(pnode)));
      } else {
        std::fprintf(pfile, "+ -> Node Rigth:  ");
        zornodePrint(static_cast<const zornode *>(pnode->pRight), pfile, iDepth + 1);
        std::fprintf(pfile, "- <- Node Rigth:  %3.3i\n", iDepth);
      }
      break;
    case ZORNODE_CSTE:
      std::fprintf(pfile, "    ZORNODE Constante:\t%4.4X/%s\n", uCode, zornodeGetTypeName(pnode->sCode));
      std::fprintf(pfile, "    Ctrl Type        :\t%4.4X/%s , CCSID %i\n", pnode->usCtrlType,
                   zornodeGetCtrlTypeName(pnode->usCtrlType), pnode->sCCSID);
      std::fprintf(pfile, "    External Type    :\t%4.4X/%s\n", pnode->usExtType,
                   zornodeGetCtrlTypeName(pnode->usExtType));
      std::fprintf(pfile, "    External Len     :\t%x\n", pnode->usExtLength);
      _nodePrintStatus(pnode, pfile);
      std::fprintf(pfile, "    Data Pointer     :\t%p\n", pnode->pLeft);
      _nodePrintConstantValue(pnode, pfile);
      break;
    default:
      break;
  }
}

/* ------------------------------------------------------ substitution, walks */

int zornodeSubstituteVar(zornode *pnode, rowColDef **apdef)
{
  if (pnode == nullptr || (pnode->usStatus & NODE_SUBS)) return 0;
  switch (pnode->sKind) {
    case ZORNODE_CSTE:
      return 0;
    case ZORNODE_VAR: {
      zorcol *pcol = static_cast<zorcol *>(pnode->pLeft);
      if (pcol == nullptr) return 0;
      if (apdef == nullptr || pcol->iDb2Number < 0) return ORC_INVALID;
      rowColDef *pdef = apdef[pcol->iDb2Number];
      omsgsTrace("bind column %d to definition %p\n", pcol->iDb2Number, static_cast<void *>(pdef));
      if (!(pnode->usStatus & NODE_LEFT_NOT)) zorcolDestroy(pcol);
      pnode->pLeft = pdef;
      pnode->usStatus = static_cast<uint16_t>((pnode->usStatus | NODE_SUBS) & ~NODE_LEFT_NOT);
      return 0;
    }
    case ZORNODE_OPRT:
      if (!(pnode->usStatus & NODE_LEFT_NOT)) zornodeSubstituteVar(static_cast<zornode *>(pnode->pLeft), apdef);
      if (!(pnode->usStatus & NODE_RIGHT_NOT)) zornodeSubstituteVar(static_cast<zornode *>(pnode->pRight), apdef);
      return 0;
    default:
      return ZORNODE_RC_BADKIND;
  }
}

int zornodeSubstituteView(zornode *pnode, olist *plistMatch)
{
  if (pnode == nullptr || plistMatch == nullptr) return 0;
  switch (pnode->sKind) {
    case ZORNODE_CSTE:
      return 0;
    case ZORNODE_VAR: {
      if (pnode->usStatus & NODE_SUBS) return 0;
      zorcol *pcol = static_cast<zorcol *>(pnode->pLeft);
      if (pcol == nullptr || pcol->pcharName == nullptr) return ZORNODE_RC_NOMATCH;
      for (olistRef *pref = static_cast<olistRef *>(plistMatch->pitemTop); pref != nullptr;
           pref = static_cast<olistRef *>(pref->pitemNext)) {
        const zoratom *patom = static_cast<const zoratom *>(pref->pData);
        if (patom == nullptr || patom->iKind != ZORATOM_MATCHCOL || patom->value.pcol == nullptr) continue;
        const ochar *pcharView = patom->value.pcol->pcharName;
        if (pcharView == nullptr) continue;
        omsgsTraceTo(gpzcFileDebug, "view match: %.*s / %.*s\n", pcol->pcharName->ilBU,
                     _charText(pcol->pcharName), pcharView->ilBU, _charText(pcharView));
        if (ocharCompare(pcol->pcharName, pcharView, ' ') != 0) continue;
        zorcol *pcolBase = zorcolClone(patom->value2.pcol);
        if (pcolBase == nullptr) return ORC_NOMEM;
        if (!(pnode->usStatus & NODE_LEFT_NOT)) zorcolDestroy(pcol);
        pnode->pLeft = pcolBase;
        pnode->usStatus &= static_cast<uint16_t>(~NODE_LEFT_NOT);
        return 0;
      }
      return ZORNODE_RC_NOMATCH;
    }
    case ZORNODE_OPRT: {
      int rc = 0;
      if (!(pnode->usStatus & NODE_LEFT_NOT)) rc = zornodeSubstituteView(static_cast<zornode *>(pnode->pLeft), plistMatch);
      if (rc == 0 && !(pnode->usStatus & NODE_RIGHT_NOT))
        rc = zornodeSubstituteView(static_cast<zornode *>(pnode->pRight), plistMatch);
      return rc;
    }
    default:
      return ZORNODE_RC_BADKIND;
  }
}

/* How far an operator's depth looks: 2 both operands, 1 the left one, 0 none. */
static int _nodeDepthOperands(int iCode)
{
  if ((iCode >= NODE_CONT_IF_OP && iCode <= NODE_AND_OP && (iCode & 3) == 0) ||
      (iCode >= NODE_EQU_OP && iCode <= NODE_IN_OP) || (iCode >= NODE_PLS_OP && iCode <= NODE_DIV_OP) ||
      iCode == NODE_NUL_OP || iCode == NODE_VAL_OP || iCode == NODE_SUBSTR_OP || iCode == NODE_CONCAT_OP ||
      iCode == NODE_TRUNC_OP || iCode == NODE_IF_OP || iCode == NODE_DUREE_OP || iCode == NODE_DIFFTEMPS_OP)
    return 2;
  if (iCode == NODE_CONT_DUREE_OP || iCode == NODE_NOT_OP || iCode == NODE_LIKE_OP ||
      iCode == NODE_LIKE_ESC_OP || (iCode >= NODE_MNSU_OP && iCode <= NODE_LEN_OP) ||
      (iCode >= NODE_STRIP_OP && iCode <= NODE_VARG_OP) || (iCode >= NODE_ABS_OP && iCode <= NODE_SMINT_OP) ||
      iCode == NODE_CONVERSION_OP)
    return 1;
  return 0;
}

int zornodeGetTreeDepth(const zornode *pnode, int iDepth)
{
  if (pnode == nullptr) return iDepth;
  if (pnode->sKind != ZORNODE_OPRT) return iDepth + 1;
  int iOperands = _nodeDepthOperands(pnode->sCode);
  if (iOperands == 0) return iDepth + 1;
  /* a slot that holds a value is not an operand */
  int iLeft = (pnode->usStatus & NODE_LEFT_NOT) ? iDepth
                                                 : zornodeGetTreeDepth(static_cast<const zornode *>(pnode->pLeft), iDepth);
  if (iOperands == 1) return 1 + (iLeft > 0 ? iLeft : 0);
  int iRight = (pnode->usStatus & NODE_RIGHT_NOT) ? iDepth
                                                   : zornodeGetTreeDepth(static_cast<const zornode *>(pnode->pRight), iDepth);
  return 1 + (iLeft > iRight ? iLeft : iRight);
}

int zornodeGetExpressionColumns(olist *plist, const zornode *pnode)
{
  if (pnode == nullptr) return 0;
  switch (pnode->sKind) {
    case ZORNODE_CSTE:
      return 0;
    case ZORNODE_VAR:
      if ((pnode->usStatus & NODE_SUBS) && plist != nullptr) olistAppendRef(plist, pnode->pLeft, 0);
      return 0;
    case ZORNODE_OPRT: {
      int rc = 0;
      if (!(pnode->usStatus & NODE_LEFT_NOT))
        rc = zornodeGetExpressionColumns(plist, static_cast<const zornode *>(pnode->pLeft));
      if (rc == 0 && !(pnode->usStatus & NODE_RIGHT_NOT))
        rc = zornodeGetExpressionColumns(plist, static_cast<const zornode *>(pnode->pRight));
      return rc;
    }
    default:
      return ZORNODE_RC_BADKIND;
  }
}

namespace {

/* The atom kind ZORNODE holds expression trees: registered at start-up. */
const zoratomOwner gownerNode = {
    [](const void *pv) -> void * { return zornodeClone(static_cast<const zornode *>(pv)); },
    [](void *pv) { zornodeDestroy(static_cast<zornode *>(pv)); },
    [](const void *pv, FILE *pfile) { zornodePrint(static_cast<const zornode *>(pv), pfile, 0); },
    nullptr,
};

[[maybe_unused]] const bool gboNodeOwner = [] {
  zoratomSetOwner(ZORATOM_ZORNODE, &gownerNode);
  return true;
}();

}  // namespace
