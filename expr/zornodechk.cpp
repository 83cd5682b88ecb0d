/*
** zornodechk.cpp
**   Expression check: the walk that resolves column references and types
**   every node by DB2's rules, the operator checks with their rewrites
**   (date/time literals, numeric lists, date/time arithmetic, LIKE patterns,
**   CHAR() arguments, CASE results), and the binding of every node to its
**   evaluation procedure through the evaluator's dictionary.  See
**   zornodechk.h for what callers test afterwards.
**
**   Conventions of this file: an operator check first walks every operand
**   it owns (a failed operand keeps control type 0), then decides by the
**   operands' control types.  A failure is reported at the node where it is
**   found ("ZORU010I" with the node's position, then its message) and leaves
**   control type 0.  Constants carry their types from construction.
*/
#include "expr/zornodechk.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/ochaine.h"
#include "common/ochar.h"
#include "common/odict.h"
#include "model/parm.h"
#include "model/zormsgs.h"
#include "expr/zorcol.h"
#include "expr/zornode.h"
#include "expr/zornodecnv.h"
#include "expr/zornodedur.h"
#include "expr/zornodeeval.h"

#define OMSGS_TRACE_KEYWORD "$NODE"
#define OMSGS_DEBUG_KEYWORD "$NODED"
#include "common/omsgsmod.h"

/* ---------------------------------------------------------------- helpers */

/* Lengths of the DECIMAL durations and date/time parts: precision << 8 | scale. */
#define CHK_DEC(p, s) static_cast<uint16_t>(((p) << 8) | (s))

static zornode *_chkLeft(const zornode *pnode)
{
  return (pnode->usStatus & NODE_LEFT_NOT) ? nullptr : static_cast<zornode *>(pnode->pLeft);
}

static zornode *_chkRight(const zornode *pnode)
{
  return (pnode->usStatus & NODE_RIGHT_NOT) ? nullptr : static_cast<zornode *>(pnode->pRight);
}

/* Walks an operand that may be absent; its result. */
static int _chkWalk(zornode *pnode, const ochaine *pchaine)
{
  return pnode == nullptr ? 0 : _zornodeCheckExpression(pnode, pchaine);
}

/* "ZORU010I" with the node's position. */
static void _chkItem(const zornode *pnode)
{
  omsgsFMTEDO(ZORU010I, pnode->sStartLine, pnode->sStartColumn, pnode->sEndLine, pnode->sEndColumn);
}

/* The common error path: the item, ZORU025E with the text, control type 0. */
static int _chkFailAt(zornode *pnode, const zornode *pnodeItem, const char *pcText, int rc = ZORNODE_RC_BADOPERAND)
{
  _chkItem(pnodeItem);
  omsgsFMTEDO(ZORU025E, pcText);
  pnode->usCtrlType = NODE_T_INC;
  return rc;
}

static int _chkFail(zornode *pnode, int rc = ZORNODE_RC_BADOPERAND)
{
  return _chkFailAt(pnode, pnode, zornodeGetOperatorText(pnode->sCode), rc);
}

static bool _chkIsLobColumn(const zornode *pnode)
{
  return pnode->sKind == ZORNODE_VAR && !(pnode->usStatus & NODE_SUBS) &&
         (pnode->sCode == NODE_CTBLOB || pnode->sCode == NODE_CTCLOB || pnode->sCode == NODE_DBCLOB);
}

/*
** Data type code of a node's value: the low byte of its control type.  A LOB
** column is typed 0x2800 like an INTEGER value; its own code tells it apart,
** so that no rule takes a LOB descriptor for a number.
*/
static int _chkCode(const zornode *pnode)
{
  if (_chkIsLobColumn(pnode)) return pnode->sCode;
  return pnode->usCtrlType & 0xFF;
}

static bool _chkNumeric(const zornode *pnode)
{
  return pnode != nullptr && (pnode->usCtrlType & NODE_T_NUMERIC) && !_chkIsLobColumn(pnode);
}

static bool _chkChar(const zornode *pnode)
{
  return pnode != nullptr && (pnode->usCtrlType & NODE_T_CHAR);
}

static bool _chkDateTime(const zornode *pnode)
{
  return pnode != nullptr && (pnode->usCtrlType & NODE_T_DATETIME);
}

static bool _chkConstant(const zornode *pnode)
{
  return pnode != nullptr && pnode->sKind == ZORNODE_CSTE;
}

/* A character constant: control type exactly 0x4410. */
static bool _chkCharConstant(const zornode *pnode)
{
  return _chkConstant(pnode) && pnode->usCtrlType == NODE_T_CHN && pnode->pLeft != nullptr;
}

/* SMALLINT: a SMALLINT constant, or an integer value two bytes long (a SMALLINT column). */
static bool _chkSmallInt(const zornode *pnode)
{
  int iCode = _chkCode(pnode);
  return iCode == NODE_CTSMI || (iCode == NODE_CTINT && pnode->usLength == 2);
}

static bool _chkIntegral(const zornode *pnode)
{
  int iCode = _chkCode(pnode);
  return iCode == NODE_CTINT || iCode == NODE_CTSMI;
}

/* The control type with "constant" replaced by "value". */
static uint16_t _chkValueType(uint16_t usCtrlType)
{
  if (usCtrlType & NODE_T_CSTE) return static_cast<uint16_t>((usCtrlType & ~NODE_T_CSTE) | NODE_T_VALUE);
  return usCtrlType;
}

static void _chkStatusFrom(zornode *pnode, const zornode *pnodeFrom, uint16_t usBits = NODE_NULLABLE)
{
  if (pnodeFrom != nullptr) pnode->usStatus |= static_cast<uint16_t>(pnodeFrom->usStatus & usBits);
}

/* The 32-bit value of an INTEGER or SMALLINT constant into *pi; false for anything else. */
static bool _chkIntegerValue(const zornode *pnode, int32_t *pi)
{
  if (!_chkConstant(pnode) || pnode->pLeft == nullptr) return false;
  if (pnode->usCtrlType == NODE_T_INT) {
    std::memcpy(pi, pnode->pLeft, 4);
    return true;
  }
  if (pnode->usCtrlType == NODE_T_SMI) {
    int16_t s;
    std::memcpy(&s, pnode->pLeft, 2);
    *pi = s;
    return true;
  }
  return false;
}

/* Precision and scale of a numeric operand where a DECIMAL faces it. */
static void _chkPrecision(int iCode, uint16_t usLength, int *piPrec, int *piScale)
{
  *piScale = 0;
  switch (iCode) {
    case NODE_CTDEC:
      *piPrec = usLength >> 8;
      *piScale = usLength & 0xFF;
      break;
    case NODE_CTSMI: *piPrec = 5; break;
    case NODE_CTBIG: *piPrec = 19; break;
    default: *piPrec = usLength == 2 ? 5 : 11; break;
  }
}

/* ------------------------------------------------------------ column check */

/* The table ZORU024E names (zornodeCheckSetTable). */
static std::string gstrChkTable;

void zornodeCheckSetTable(const char *pcTable) { gstrChkTable = pcTable != nullptr ? pcTable : ""; }

static int _chkColumn(zornode *pnode, const ochaine *pchaine)
{
  /* a node already bound to its record layout keeps the type it was given */
  if (pnode->usStatus & NODE_SUBS) return 0;
  zorcol *pcol = static_cast<zorcol *>(pnode->pLeft);
  int rc = pcol == nullptr ? ZORCOL_RC_NOCOLUMN : 0;
  /* a descriptor the node shares is read, not resolved */
  if (pcol != nullptr && pchaine != nullptr && !(pnode->usStatus & NODE_LEFT_NOT))
    rc = zorcolCheckVariable(pcol, pchaine);
  if (rc != 0) {
    std::string strName;
    if (pcol != nullptr && pcol->pcharName != nullptr && pcol->pcharName->pcData != nullptr)
      strName.assign(_charText(pcol->pcharName), static_cast<size_t>(pcol->pcharName->ilBU));
    _chkItem(pnode);
    omsgsFMTEDO(ZORU024E, strName.c_str(), gstrChkTable.c_str());
    pnode->sCode = 0;
    pnode->usCtrlType = NODE_T_INC;
    return rc;
  }
  static const struct {
    int16_t sCode;
    uint16_t usCtrlType;
  } aMap[] = {
      {0, 0},                            /* 0 */
      {NODE_CTINT, NODE_T_VINT},         /* 1 SMALLINT */
      {NODE_CTINT, NODE_T_VINT},         /* 2 INTEGER */
      {NODE_CTDEC, NODE_T_VDEC},         /* 3 DECIMAL */
      {NODE_CTFLT, NODE_T_VFLT},         /* 4 DOUBLE */
      {NODE_CTFLT, NODE_T_VFLT},         /* 5 REAL */
      {NODE_CTBIG, NODE_T_VBIG},         /* 6 BIGINT */
      {NODE_CTCHR, NODE_T_VCHR},         /* 7 CHAR */
      {NODE_CTVCH, NODE_T_VVCH},         /* 8 VARCHAR */
      {NODE_CTLVCH, NODE_T_VVCH},        /* 9 LONG VARCHAR */
      {NODE_CTDTE, NODE_T_VDTE},         /* 10 DATE */
      {NODE_CTTME, NODE_T_VTME},         /* 11 TIME */
      {NODE_CTTST, NODE_T_VTST},         /* 12 TIMESTAMP */
      {NODE_CTGRA, NODE_T_VGRA},         /* 13 GRAPHIC */
      {NODE_CTVGR, NODE_T_VVGR},         /* 14 VARGRAPHIC */
      {NODE_CTVGR, NODE_T_VVGR},         /* 15 LONG VARGRAPHIC */
      {NODE_CTBLOB, NODE_T_VINT},        /* 16 BLOB */
      {NODE_CTCLOB, NODE_T_VINT},        /* 17 CLOB */
      {NODE_DBCLOB, NODE_T_VINT},        /* 18 DBCLOB */
  };
  int iType = pcol->iType & 0xFF;
  if (iType >= ZORCOL_T_SMALLINT && iType <= ZORCOL_T_DBCLOB) {
    pnode->sCode = aMap[iType].sCode;
    pnode->usCtrlType = aMap[iType].usCtrlType;
  }
  int iCode = pnode->usCtrlType & 0xFF;
  if (iCode == NODE_CTVCH || iCode == NODE_CTVGR) pnode->usStatus |= NODE_VARIABLE_LENGHT;
  if (pcol->usFlags & ZORCOL_NULL) pnode->usStatus |= NODE_NULLABLE;
  pnode->usLength = static_cast<uint16_t>(pcol->iSubType);
  pnode->sCCSID = pcol->sCCSID;
  int iCode850 = 0;
  pnode->usPadChar = ocharConvertChar(' ', static_cast<uint16_t>(pcol->sCCSID), &iCode850);
  return iCode850;
}

/* -------------------------------------------------------- arithmetic rules */

/* The 15-digit rules for the external type are in force (DECPAR below 0x80). */
static bool _chkDecpar15(void)
{
  const unsigned char *puc = static_cast<const unsigned char *>(parmGetWithControl(PARM_ID(PARM_OPTDB2I, 12), 0));
  return puc == nullptr || puc[0] < 0x80;
}

/* DECIMAL result of an arithmetic operator with a digit limit. */
static uint16_t _chkDecRule(int iOper, int p1, int s1, int p2, int s2, int iLimit)
{
  int p, s;
  switch (iOper) {
    case NODE_MLT_OP:
      p = std::min(iLimit, p1 + p2);
      s = std::min(iLimit, s1 + s2);
      break;
    case NODE_DIV_OP:
      p = iLimit;
      s = std::max(0, iLimit - p1 + s1 - s2);
      break;
    default:
      p = std::min(iLimit, std::max(p1 - s1, p2 - s2) + std::max(s1, s2) + 1);
      s = std::max(s1, s2);
      break;
  }
  return CHK_DEC(p, s);
}

/*
** The arithmetic table on two (data type code, length) pairs: sets the
** control type and length of the result; bDecimal tells whether the
** DECIMAL rules applied (their precisions in *pp1 and *pp2).
*/
static void _chkArithPair(int iOper, int iL, uint16_t usL, int iR, uint16_t usR, int iLimit, uint16_t *pusType,
                          uint16_t *pusLength, bool *pboDecimal, int *pp1, int *pp2)
{
  *pboDecimal = false;
  bool boIntL = iL == NODE_CTINT || iL == NODE_CTSMI, boIntR = iR == NODE_CTINT || iR == NODE_CTSMI;
  if (iL == NODE_CTFLT || iR == NODE_CTFLT) {
    *pusType = NODE_T_VFLT;
    *pusLength = 8;
  } else if (boIntL && boIntR) {
    *pusType = NODE_T_VINT;
    *pusLength = 4;
  } else if ((boIntL || iL == NODE_CTBIG) && (boIntR || iR == NODE_CTBIG)) {
    *pusType = NODE_T_VBIG;
    *pusLength = 8;
  } else {
    int p1, s1, p2, s2;
    _chkPrecision(iL, usL, &p1, &s1);
    _chkPrecision(iR, usR, &p2, &s2);
    *pusType = NODE_T_VDEC;
    *pusLength = _chkDecRule(iOper, p1, s1, p2, s2, iLimit);
    *pboDecimal = true;
    *pp1 = p1;
    *pp2 = p2;
  }
}

static int _chkArithmetic(zornode *pnode, zornode *pnodeL, zornode *pnodeR)
{
  int iOper = pnode->sCode;
  uint16_t usType, usLength;
  bool boDecimal;
  int p1 = 0, p2 = 0;
  pnode->usLength = 0;
  _chkArithPair(iOper, _chkCode(pnodeL), pnodeL->usLength, _chkCode(pnodeR), pnodeR->usLength, 31, &usType, &usLength,
                &boDecimal, &p1, &p2);
  if (boDecimal) {
    pnode->usExtType = NODE_T_VDEC;
    if (_chkDecpar15() && p1 <= 15 && p2 <= 15) {
      uint16_t usExtType;
      _chkArithPair(iOper, _chkCode(pnodeL), pnodeL->usLength, _chkCode(pnodeR), pnodeR->usLength, 15, &usExtType,
                    &pnode->usExtLength, &boDecimal, &p1, &p2);
    } else {
      pnode->usExtLength = static_cast<uint16_t>(pnode->usLength & 0xFF00);
    }
  }
  pnode->usCtrlType = usType;
  pnode->usLength = usLength;
  /* as DB2 describes it: nullable when an operand is */
  _chkStatusFrom(pnode, pnodeL);
  _chkStatusFrom(pnode, pnodeR);

  if (pnodeL->usExtType != 0 || pnodeR->usExtType != 0) {
    pnode->usExtLength = pnode->usLength;
    int iL = pnodeL->usExtType != 0 ? pnodeL->usExtType & 0xFF : _chkCode(pnodeL);
    int iR = pnodeR->usExtType != 0 ? pnodeR->usExtType & 0xFF : _chkCode(pnodeR);
    uint16_t usL = pnodeL->usExtType != 0 ? pnodeL->usExtLength : pnodeL->usLength;
    uint16_t usR = pnodeR->usExtType != 0 ? pnodeR->usExtLength : pnodeR->usLength;
    uint16_t usExtType, usExtLength;
    _chkArithPair(iOper, iL, usL, iR, usR, 15, &usExtType, &usExtLength, &boDecimal, &p1, &p2);
    pnode->usExtType = usExtType;
    pnode->usExtLength = usExtLength;
  }
  return 0;
}

/* ------------------------------------------------- date/time arithmetic */

/* Length a DECIMAL duration must have against a date/time code; 0 for other codes. */
static uint16_t _chkDurationLength(int iCode)
{
  switch (iCode) {
    case NODE_CTDTE: return CHK_DEC(8, 0);
    case NODE_CTTME: return CHK_DEC(6, 0);
    case NODE_CTTST: return CHK_DEC(20, 6);
    default: return 0;
  }
}

/*
** Date/time plus or minus a DECIMAL duration: the node becomes DUREE and a
** CONT_DUREE container takes the DECIMAL's slot.
*/
static int _chkMakeDuree(zornode *pnode, zornode *pnodeDate, zornode *pnodeDec, int iSlot, uintptr_t ulUnit)
{
  if (pnodeDec->usLength != _chkDurationLength(_chkCode(pnodeDate))) return _chkFail(pnode);
  zornode *pcont = zornodeCreate(ZORNODE_OPRT, NODE_CONT_DUREE_OP, pnodeDec, reinterpret_cast<void *>(ulUnit),
                                 NODE_RIGHT_NOT, nullptr, nullptr);
  if (pcont == nullptr) {
    pnode->usCtrlType = NODE_T_INC;
    return ORC_NOMEM;
  }
  pcont->sStartColumn = pnodeDec->sStartColumn;
  pcont->sStartLine = pnodeDec->sStartLine;
  pcont->sEndColumn = pnodeDec->sEndColumn;
  pcont->sEndLine = pnodeDec->sEndLine;
  pcont->usCtrlType = NODE_T_VDEC;
  pcont->usLength = pnodeDec->usLength;
  _chkStatusFrom(pcont, pnodeDec);
  if (iSlot == ZORNODE_SLOT_LEFT) pnode->pLeft = pcont;
  else pnode->pRight = pcont;
  pnode->sCode = NODE_DUREE_OP;
  pnode->usCtrlType = static_cast<uint16_t>(NODE_T_VALUE | NODE_T_DATETIME | _chkCode(pnodeDate));
  pnode->usLength = pnodeDate->usLength;
  _chkStatusFrom(pnode, pnodeDate);
  _chkStatusFrom(pnode, pnodeDec);
  return 0;
}

/* + and - whose operands are not both numeric. */
static int _chkDateArithmetic(zornode *pnode, zornode *pnodeL, zornode *pnodeR)
{
  if (_chkCharConstant(pnodeL)) _zornodeConvertToDate(pnodeL, 0);
  if (_chkCharConstant(pnodeR)) _zornodeConvertToDate(pnodeR, 0);
  bool boDateL = _chkDateTime(pnodeL), boDateR = _chkDateTime(pnodeR);
  bool boDecL = _chkNumeric(pnodeL) && _chkCode(pnodeL) == NODE_CTDEC;
  bool boDecR = _chkNumeric(pnodeR) && _chkCode(pnodeR) == NODE_CTDEC;
  if (pnode->sCode == NODE_PLS_OP) {
    if (boDateL && boDecR) return _chkMakeDuree(pnode, pnodeL, pnodeR, ZORNODE_SLOT_RIGHT, 0);
    if (boDecL && boDateR) return _chkMakeDuree(pnode, pnodeR, pnodeL, ZORNODE_SLOT_LEFT, 0);
    return _chkFail(pnode);
  }
  if (boDateL && boDateR && _chkCode(pnodeL) == _chkCode(pnodeR)) {
    pnode->sCode = NODE_DIFFTEMPS_OP;
    pnode->usCtrlType = NODE_T_VDEC;
    pnode->usLength = _chkDurationLength(_chkCode(pnodeL));
    _chkStatusFrom(pnode, pnodeL);
    _chkStatusFrom(pnode, pnodeR);
    return 0;
  }
  if (boDateL && boDecR) return _chkMakeDuree(pnode, pnodeL, pnodeR, ZORNODE_SLOT_RIGHT, ZORNODE_DUR_SUBTRACT);
  return _chkFail(pnode);
}

/* A labelled duration as the parser builds it: date/time left, CONT_DUREE right. */
static int _chkDuree(zornode *pnode, const ochaine *pchaine)
{
  zornode *pnodeL = _chkLeft(pnode), *pnodeR = _chkRight(pnode);
  _chkWalk(pnodeL, pchaine);
  _chkWalk(pnodeR, pchaine);
  if (pnodeR == nullptr || pnodeR->usCtrlType != NODE_T_VINT) {
    return _chkFailAt(pnode, pnodeR != nullptr ? pnodeR : pnode, zornodeGetOperatorText(NODE_DUREE_OP));
  }
  if (_chkCharConstant(pnodeL)) _zornodeConvertToDate(pnodeL, 0);
  if (!_chkDateTime(pnodeL)) return _chkFail(pnode);
  /* the unit must suit the type of the value, whatever node computes it */
  unsigned uUnit = static_cast<unsigned>(zornodeRightValue(pnodeR)) & 0x1cu;
  int iCode = _chkCode(pnodeL);
  bool boUnit = true;
  if (iCode == NODE_CTDTE) boUnit = uUnit == 0x14 || uUnit == 0x18 || uUnit == 0x1c;
  else if (iCode == NODE_CTTME) boUnit = uUnit == 0x08 || uUnit == 0x0c || uUnit == 0x10;
  if (!boUnit) return _chkFail(pnode, ZORNODE_RC_DURUNIT);
  pnode->usCtrlType = pnodeL->usCtrlType;
  pnode->usLength = pnodeL->usLength;
  _chkStatusFrom(pnode, pnodeL);
  _chkStatusFrom(pnode, pnodeR);
  return 0;
}

/* The amount of a labelled duration. */
static int _chkContDuree(zornode *pnode, const ochaine *pchaine)
{
  zornode *pnodeAmount = _chkLeft(pnode);
  _chkWalk(pnodeAmount, pchaine);
  const char *pcText = zornodeGetOperatorText(NODE_DUREE_OP);
  if (pnodeAmount == nullptr) return _chkFailAt(pnode, pnode, pcText);
  if (!_chkNumeric(pnodeAmount) || pnodeAmount->usCtrlType == NODE_T_BIG) return _chkFailAt(pnode, pnodeAmount, pcText);
  if (_chkConstant(pnodeAmount) && pnodeAmount->usCtrlType != NODE_T_INT && pnodeAmount->usCtrlType != NODE_T_SMI) {
    if (_zornodeConvertToInt(pnodeAmount) != 0 || pnodeAmount->usCtrlType != NODE_T_INT)
      return _chkFailAt(pnode, pnodeAmount, pcText);
  }
  pnode->usCtrlType = NODE_T_VINT;
  pnode->usLength = 4;
  _chkStatusFrom(pnode, pnodeAmount);
  return 0;
}

/* ------------------------------------------------------------ comparisons */

/* Operands a comparison accepts (character constants facing a date/time are converted first). */
static bool _chkComparable(zornode *pnodeL, zornode *pnodeR)
{
  if (pnodeL == nullptr || pnodeR == nullptr) return false;
  if (_chkNumeric(pnodeL) && _chkNumeric(pnodeR)) return true;
  if (_chkChar(pnodeL) && _chkChar(pnodeR)) return true;
  if (_chkCharConstant(pnodeL) && _chkDateTime(pnodeR)) _zornodeConvertToDate(pnodeL, _chkCode(pnodeR));
  if (_chkCharConstant(pnodeR) && _chkDateTime(pnodeL)) _zornodeConvertToDate(pnodeR, _chkCode(pnodeL));
  return _chkDateTime(pnodeL) && _chkDateTime(pnodeR) && _chkCode(pnodeL) == _chkCode(pnodeR);
}

/* -------------------------------------------------------------------- IN */

static int _chkIn(zornode *pnode, const ochaine *pchaine)
{
  zornode *pnodeL = _chkLeft(pnode);
  int rc = _chkWalk(pnodeL, pchaine);
  if (rc != 0) {
    pnode->usCtrlType = NODE_T_INC;
    return rc;
  }
  if (pnodeL == nullptr || pnodeL->usCtrlType == NODE_T_INC) return _chkFail(pnode);
  zornode *pnodeList = _chkRight(pnode);
  if (pnodeList == nullptr) {
    _chkItem(pnode);
    omsgsFMTEDO(ZORU036E, "IN()");
    pnode->usCtrlType = NODE_T_INC;
    return ZORNODE_RC_NOLIST;
  }
  auto inconsistent = [pnode](const zornode *pnodeElement) {
    _chkItem(pnodeElement);
    omsgsFMTEDO(ZORU065E);
    pnode->usCtrlType = NODE_T_INC;
    return ZORNODE_RC_BADLIST;
  };
  int iMax = -1;
  for (zornode *pel = pnodeList; pel != nullptr; pel = static_cast<zornode *>(pel->pRight)) {
    if (!_chkConstant(pel)) {
      _chkItem(pel);
      omsgsFMTEDO(ZORU037E);
      pnode->usCtrlType = NODE_T_INC;
      return ZORNODE_RC_BADLIST;
    }
    if (_chkNumeric(pnodeL)) {
      if (pel->sCode > NODE_CTDEC || pel->sCode < 0) return inconsistent(pel);
      iMax = std::max(iMax, static_cast<int>(pel->sCode));
    } else if (_chkChar(pnodeL)) {
      if (!_chkChar(pel)) return inconsistent(pel);
    } else if (_chkDateTime(pnodeL)) {
      if (!_chkCharConstant(pel)) return inconsistent(pel);
      /* a text that is no literal of the tested type leaves the list inconsistent */
      if (_zornodeConvertToDate(pel, _chkCode(pnodeL)) != 0) return inconsistent(pel);
    }
  }
  if (_chkNumeric(pnodeL) && iMax >= 5 && iMax <= NODE_CTDEC) {
    for (zornode *pel = pnodeList; pel != nullptr; pel = static_cast<zornode *>(pel->pRight)) {
      if (pel->sCode < NODE_CTDEC && _zornodeConvertToDec(pel) != 0) return inconsistent(pel);
      }
  }
  pnode->usCtrlType = NODE_T_BOOL;
  pnode->usLength = 0;
  return 0;
}

/* ------------------------------------------------------------------ VALUE */

/* Deletes the rest of a VALUE chain after a constant argument. */
static void _chkDropChain(zornode *pnode)
{
  if (!(pnode->usStatus & NODE_RIGHT_NOT) && pnode->pRight != nullptr) zornodeDestroy(static_cast<zornode *>(pnode->pRight));
  pnode->pRight = nullptr;
}

/* Types a VAL or CONT_VAL node from its argument and the chain to its right. */
static void _chkValueChain(zornode *pnode, const ochaine *pchaine)
{
  zornode *pnodeArg = _chkLeft(pnode);
  _chkWalk(pnodeArg, pchaine);
  if (pnodeArg == nullptr) {
    pnode->usCtrlType = NODE_T_INC;
    return;
  }
  if (_chkConstant(pnodeArg)) _chkDropChain(pnode);
  pnode->usCtrlType = pnodeArg->usCtrlType;
  pnode->usLength = pnodeArg->usLength;
  zornode *pnext = _chkRight(pnode);
  if (pnext == nullptr) return;
  if (pnext->sKind != ZORNODE_OPRT || pnext->sCode != NODE_CONT_VAL_OP) {
    _chkWalk(pnext, pchaine);
    pnode->usCtrlType = NODE_T_INC;
    return;
  }
  _chkValueChain(pnext, pchaine);
  if (pnode->usCtrlType == NODE_T_INC) return;
  if (pnext->usCtrlType == NODE_T_INC || (pnext->usCtrlType & 0xFF) > (pnode->usCtrlType & 0xFF)) {
    pnode->usCtrlType = pnext->usCtrlType;
    pnode->usLength = pnext->usLength;
  }
}

static int _chkValue(zornode *pnode, const ochaine *pchaine)
{
  zornode *pnodeFirst = _chkLeft(pnode);
  _chkValueChain(pnode, pchaine);
  if (pnodeFirst == nullptr || pnode->usCtrlType == NODE_T_INC) return _chkFail(pnode);
  _chkStatusFrom(pnode, pnodeFirst, NODE_NULLABLE | NODE_VARIABLE_LENGHT);
  uint16_t usType = pnode->usCtrlType;
  int iCode = usType & 0xFF;
  auto inconsistent = [pnode](const zornode *pnodeArg) {
    _chkItem(pnodeArg);
    omsgsFMTEDO(ZORU065E);
    pnode->usCtrlType = NODE_T_INC;
    return ZORNODE_RC_BADLIST;
  };
  /* the arguments: the VAL's left, then the left of each CONT_VAL */
  for (zornode *pholder = pnode; pholder != nullptr;) {
    zornode *pnodeArg = _chkLeft(pholder);
    if (pnodeArg != nullptr) {
      if (usType & NODE_T_NUMERIC) {
        if (!_chkNumeric(pnodeArg)) return inconsistent(pnodeArg);
        if ((iCode == NODE_CTFLT || iCode == NODE_CTDEC) && _chkConstant(pnodeArg) && pnodeArg->sCode < NODE_CTDEC &&
            _zornodeConvertToDec(pnodeArg) != 0)
          return inconsistent(pnodeArg);
      } else if (usType & NODE_T_CHAR) {
        if (!_chkChar(pnodeArg)) return inconsistent(pnodeArg);
        pnode->usLength = std::max(pnode->usLength, pnodeArg->usLength);
        _chkStatusFrom(pnode, pnodeArg, NODE_NULLABLE | NODE_VARIABLE_LENGHT);
      } else if (usType & NODE_T_DATETIME) {
        if (_chkCharConstant(pnodeArg)) _zornodeConvertToDate(pnodeArg, iCode);
        if (!_chkDateTime(pnodeArg) || _chkCode(pnodeArg) != iCode) return inconsistent(pnodeArg);
        _chkStatusFrom(pnode, pnodeArg, NODE_NULLABLE | NODE_VARIABLE_LENGHT);
      }
    }
    zornode *pnext = _chkRight(pholder);
    pholder = (pnext != nullptr && pnext->sKind == ZORNODE_OPRT && pnext->sCode == NODE_CONT_VAL_OP) ? pnext : nullptr;
  }
  return 0;
}

/* ----------------------------------------------------------------- SUBSTR */

/* Start or length of SUBSTR: must be numeric; *pi its value when it is an integer constant, else -1. */
static int _chkSubstrArg(zornode *pnode, zornode *pnodeArg, const ochaine *pchaine, int32_t *pi)
{
  *pi = -1;
  if (pnodeArg == nullptr) return 0;
  _chkWalk(pnodeArg, pchaine);
  if (!_chkNumeric(pnodeArg)) return _chkFailAt(pnode, pnodeArg, zornodeGetOperatorText(NODE_SUBSTR_OP));
  int32_t i;
  if (_chkIntegerValue(pnodeArg, &i)) *pi = i;
  return 0;
}

static int _chkSubstr(zornode *pnode, const ochaine *pchaine)
{
  zornode *pnodeString = _chkLeft(pnode);
  zornode *pcont = _chkRight(pnode);
  _chkWalk(pnodeString, pchaine);
  const char *pcText = zornodeGetOperatorText(NODE_SUBSTR_OP);
  if (!_chkChar(pnodeString)) {
    if (pcont != nullptr && pcont->sKind == ZORNODE_OPRT && pcont->sCode == NODE_CONT_VAL_OP) {
      _chkWalk(_chkLeft(pcont), pchaine);
      _chkWalk(_chkRight(pcont), pchaine);
    }
    return _chkFailAt(pnode, pnodeString != nullptr ? pnodeString : pnode, pcText);
  }
  pnode->usCtrlType = pnodeString->usCtrlType;
  pnode->usLength = pnodeString->usLength;
  _chkStatusFrom(pnode, pnodeString, NODE_NULLABLE | NODE_VARIABLE_LENGHT);
  if (pcont == nullptr) {
    omsgsFMTEDO(ZOR0666F, "SUBSTR() INTERNAL MISSING PARAM");
    pnode->usCtrlType = NODE_T_INC;
    return ZORNODE_RC_BADOPERAND;
  }
  if (pcont->sKind != ZORNODE_OPRT || pcont->sCode != NODE_CONT_VAL_OP) {
    omsgsFMTEDO(ZOR0666F, "SUBSTR() INTERNAL REPRESENTATION ERROR");
    pnode->usCtrlType = NODE_T_INC;
    return ZORNODE_RC_BADOPERAND;
  }
  int32_t iStart, iLength;
  zornode *pnodeStart = _chkLeft(pcont), *pnodeLength = _chkRight(pcont);
  int rcStart = _chkSubstrArg(pnode, pnodeStart, pchaine, &iStart);
  int rcLength = _chkSubstrArg(pnode, pnodeLength, pchaine, &iLength);
  if (rcStart != 0 || rcLength != 0) return ZORNODE_RC_BADOPERAND;
  if (iLength > 0) {
    pnode->usLength = static_cast<uint16_t>(std::min<int32_t>(iLength, 0xFFFF));
    pnode->usStatus &= static_cast<uint16_t>(~NODE_VARIABLE_LENGHT);
    if (pnode->usCtrlType == NODE_T_VVCH) pnode->usCtrlType = NODE_T_VCHR;
    else if (pnode->usCtrlType == NODE_T_VVGR) pnode->usCtrlType = NODE_T_VGRA;
  } else if (iStart > 0) {
    /* a start beyond the end of the string leaves nothing to take */
    if (iStart > pnode->usLength + 1) return _chkFailAt(pnode, pnodeStart, pcText);
    pnode->usLength = static_cast<uint16_t>(pnode->usLength - iStart + 1);
    pnode->usStatus |= NODE_VARIABLE_LENGHT;
  }
  return 0;
}

/* ------------------------------------------------------------------ CHAR() */

/* Format of CHAR() of a date or time from its keyword code; -1 for no keyword. */
static int _chkDateFormat(uintptr_t ulKeyword)
{
  switch (ulKeyword) {
    case 0xC9E2D6: return 0;   /* ISO */
    case 0xE4E2C1: return 1;   /* USA */
    case 0xC5E4D9: return 2;   /* EUR */
    case 0xD1C9E2: return 3;   /* JIS */
    default: return -1;
  }
}

/* Format of CHAR() of a date or time without keyword: the DECPDATE parameter. */
static int _chkDefaultDateFormat(void)
{
  const char *pc = static_cast<const char *>(parmGetWithControl(PARM_ID(PARM_OPTDB2I, 8), 0));
  if (pc == nullptr) return 0;
  static const char *const apcFormats[] = {"ISO  ", "USA  ", "EUR  ", "JIS  "};
  for (int i = 0; i < 4; i++)
    if (std::memcmp(pc, apcFormats[i], 5) == 0) return i;
  return 0;
}

static int _chkChr(zornode *pnode, const ochaine *pchaine)
{
  zornode *pnodeArg = _chkLeft(pnode);
  int rc = _chkWalk(pnodeArg, pchaine);
  if (rc != 0) {
    pnode->usCtrlType = NODE_T_INC;
    return rc;
  }
  if (pnodeArg == nullptr) return _chkFail(pnode, ZORNODE_RC_CHROPERAND);
  pnode->usCtrlType = NODE_T_VCHR;
  zornode *pnodeSecond = _chkRight(pnode);
  bool boValue = (pnode->usStatus & NODE_RIGHT_NOT) != 0;
  int iCode = _chkCode(pnodeArg);
  if (_chkDateTime(pnodeArg)) {
    if (pnodeSecond != nullptr) {
      _chkFail(pnode);
      return 0;
    }
    int iFormat = boValue ? _chkDateFormat(zornodeRightValue(pnode)) : -1;
    if (iFormat < 0) iFormat = _chkDefaultDateFormat();
    zornodeSetRightValue(pnode, static_cast<uintptr_t>(iFormat));
    pnode->usStatus |= NODE_RIGHT_NOT;
    pnode->usLength = iCode == NODE_CTDTE ? 10 : iCode == NODE_CTTME ? 8 : 26;
  } else if (_chkChar(pnodeArg)) {
    if (boValue) return _chkFail(pnode, ZORNODE_RC_CHROPERAND);
    int32_t iLength = pnodeArg->usLength;
    if (pnodeSecond != nullptr) {
      if (!_chkConstant(pnodeSecond) || pnodeSecond->usCtrlType != NODE_T_INT ||
          !_chkIntegerValue(pnodeSecond, &iLength))
        return _chkFailAt(pnode, pnodeSecond, zornodeGetOperatorText(NODE_CHR_OP), ZORNODE_RC_CHRLENGTH);
      if (iLength < 1 || iLength > 255) {
        _chkItem(pnodeSecond);
        omsgsFMTEDO(ZORU035E, " (1-255)");
        pnode->usCtrlType = NODE_T_INC;
        return ZORNODE_RC_CHRRANGE;
      }
      zornodeDestroy(pnodeSecond);
    }
    zornodeSetRightValue(pnode, static_cast<uintptr_t>(iLength) << 16);
    pnode->usStatus |= NODE_RIGHT_NOT;
    pnode->usLength = static_cast<uint16_t>(iLength);
  } else if (_chkNumeric(pnodeArg)) {
    if (iCode == NODE_CTDEC) {
      if (!_chkCharConstant(pnodeSecond) || *static_cast<const uint16_t *>(pnodeSecond->pLeft) < 1)
        return _chkFail(pnode);
      unsigned char ucPoint = static_cast<const unsigned char *>(pnodeSecond->pLeft)[2];
      zornodeDestroy(pnodeSecond);
      zornodeSetRightValue(pnode, ucPoint);
      pnode->usStatus |= NODE_RIGHT_NOT;
      pnode->usLength = static_cast<uint16_t>((pnodeArg->usLength >> 8) + 2);
    } else if (iCode == NODE_CTBIG) {
      if (pnodeSecond != nullptr || boValue) return _chkFail(pnode, ZORNODE_RC_CHROPERAND);
    } else if (iCode == NODE_CTFLT) {
      pnode->usLength = 24;
    } else {
      pnode->usLength = _chkSmallInt(pnodeArg) ? 6 : 11;
    }
  } else {
    return _chkFail(pnode, ZORNODE_RC_CHROPERAND);
  }
  _chkStatusFrom(pnode, pnodeArg);
  return 0;
}

/* ------------------------------------------------------------------- LIKE */

/* Appends an i16 token. */
static void _chkPutToken(std::string *pstr, int iToken)
{
  int16_t s = static_cast<int16_t>(iToken);
  pstr->append(reinterpret_cast<const char *>(&s), 2);
}

/*
** Compiles a LIKE pattern into its token string: literal runs as an i16
** count > 0 and their bytes, each run of one wildcard as one token (0 for
** "%", minus the count for "_").  False for a wrong escape sequence.
*/
static bool _chkCompilePattern(const unsigned char *puc, size_t ulLength, int iEscape, std::string *pstrOut)
{
  std::string strRun;
  int iWildcard = 0, iUnderscores = 0;
  auto flushRun = [&]() {
    if (strRun.empty()) return;
    _chkPutToken(pstrOut, static_cast<int>(strRun.size()));
    pstrOut->append(strRun);
    strRun.clear();
  };
  auto flushWildcard = [&]() {
    if (iWildcard == 0) return;
    _chkPutToken(pstrOut, -iUnderscores);
    iWildcard = 0;
    iUnderscores = 0;
  };
  for (size_t ul = 0; ul < ulLength; ul++) {
    int c = puc[ul];
    if (iEscape >= 0 && c == iEscape) {
      if (ul + 1 >= ulLength) return false;
      int cNext = puc[++ul];
      if (cNext != iEscape && cNext != '_' && cNext != '%') return false;
      flushWildcard();
      if (strRun.size() == 0x7FFF) flushRun();
      strRun += static_cast<char>(cNext);
    } else if (c == '%' || c == '_') {
      flushRun();
      if (iWildcard != c) flushWildcard();
      iWildcard = c;
      if (c == '_') iUnderscores++;
      if (iUnderscores == 0x7FFF) flushWildcard();
    } else {
      flushWildcard();
      if (strRun.size() == 0x7FFF) flushRun();
      strRun += static_cast<char>(c);
    }
  }
  flushRun();
  flushWildcard();
  return pstrOut->size() <= 0xFFFF;
}

static int _chkLike(zornode *pnode, const ochaine *pchaine)
{
  zornode *pnodeL = _chkLeft(pnode);
  _chkWalk(pnodeL, pchaine);
  zornode *pnodeRight = _chkRight(pnode);
  zornode *pnodePattern = nullptr;
  int iEscape = -1;
  if (_chkCharConstant(pnodeRight)) {
    pnodePattern = pnodeRight;
  } else if (pnodeRight != nullptr && pnodeRight->sKind == ZORNODE_OPRT && pnodeRight->sCode == NODE_LIKE_ESC_OP) {
    zornode *pnodeEscape = _chkRight(pnodeRight);
    if (_chkCharConstant(_chkLeft(pnodeRight)) && _chkConstant(pnodeEscape) && _chkChar(pnodeEscape) &&
        pnodeEscape->pLeft != nullptr && *static_cast<const uint16_t *>(pnodeEscape->pLeft) >= 1) {
      pnodePattern = _chkLeft(pnodeRight);
      iEscape = static_cast<const unsigned char *>(pnodeEscape->pLeft)[2];
    }
  }
  if (pnodePattern == nullptr) return _chkFail(pnode, ZORNODE_RC_LIKE);
  uint16_t usLength;
  std::memcpy(&usLength, pnodePattern->pLeft, 2);
  std::string strTokens;
  if (!_chkCompilePattern(static_cast<const unsigned char *>(pnodePattern->pLeft) + 2, usLength, iEscape, &strTokens))
    return _chkFail(pnode, ZORNODE_RC_LIKE);
  if (!_chkChar(pnodeL)) return _chkFail(pnode);
  unsigned char *puc = static_cast<unsigned char *>(std::malloc(2 + strTokens.size()));
  if (puc == nullptr) {
    pnode->usCtrlType = NODE_T_INC;
    return ORC_NOMEM;
  }
  uint16_t usTotal = static_cast<uint16_t>(strTokens.size());
  std::memcpy(puc, &usTotal, 2);
  if (!strTokens.empty()) std::memcpy(puc + 2, strTokens.data(), strTokens.size());
  zornode *pnodeTokens = zornodeCreate(ZORNODE_CSTE, NODE_CTCHR, puc, nullptr, 0, nullptr, nullptr);
  if (pnodeTokens == nullptr) {
    std::free(puc);
    pnode->usCtrlType = NODE_T_INC;
    return ORC_NOMEM;
  }
  pnodeTokens->usCtrlType = NODE_T_CHN;
  pnodeTokens->sCCSID = pnodePattern->sCCSID;
  pnodeTokens->usLength = usTotal;
  pnodeTokens->usPadChar = pnodePattern->usPadChar;
  pnodeTokens->sStartColumn = pnodePattern->sStartColumn;
  pnodeTokens->sStartLine = pnodePattern->sStartLine;
  pnodeTokens->sEndColumn = pnodePattern->sEndColumn;
  pnodeTokens->sEndLine = pnodePattern->sEndLine;
  zornodeDestroy(pnodeRight);
  pnode->pRight = pnodeTokens;
  pnode->usCtrlType = NODE_T_BOOL;
  pnode->usLength = 0;
  return 0;
}

/* ------------------------------------------------------------------- CASE */

/* Internal type ids of CASE results, beside those of zorcol.h. */
#define CHK_CASE_NULL  (-1)   /* the NULL constant */

/* The internal type id of a checked CASE result. */
static int _chkTypeId(const zornode *pnode)
{
  if (pnode->usCtrlType == NODE_T_NULL) return CHK_CASE_NULL;
  if (pnode->sKind == ZORNODE_VAR && !(pnode->usStatus & (NODE_SUBS | NODE_LEFT_NOT)) && pnode->pLeft != nullptr)
    return static_cast<const zorcol *>(pnode->pLeft)->iType & 0xFF;
  switch (_chkCode(pnode)) {
    case NODE_CTINT: return _chkSmallInt(pnode) ? ZORCOL_T_SMALLINT : ZORCOL_T_INTEGER;
    case NODE_CTSMI: return ZORCOL_T_SMALLINT;
    case NODE_CTFLT: return pnode->usLength == 4 ? ZORCOL_T_REAL : ZORCOL_T_DOUBLE;
    case NODE_CTDEC: return ZORCOL_T_DECIMAL;
    case NODE_CTBIG: return ZORCOL_T_BIGINT;
    case NODE_CTCHR: return ZORCOL_T_CHAR;
    case NODE_CTVCH: return ZORCOL_T_VARCHAR;
    case NODE_CTGRA: return ZORCOL_T_GRAPHIC;
    case NODE_CTVGR: return ZORCOL_T_VARGRAPHIC;
    case NODE_CTDTE: return ZORCOL_T_DATE;
    case NODE_CTTME: return ZORCOL_T_TIME;
    case NODE_CTTST: return ZORCOL_T_TIMESTAMP;
    case NODE_CTBLOB: return ZORCOL_T_BLOB;
    case NODE_CTCLOB: return ZORCOL_T_CLOB;
    case NODE_DBCLOB: return ZORCOL_T_DBCLOB;
    default: return 0xFF;
  }
}

static void _chkSet(zornode *pnode, uint16_t usType, uint16_t usLength)
{
  pnode->usCtrlType = usType;
  pnode->usLength = usLength;
}

/* DECIMAL result of a CASE whose other result is an integer of iDigits digits. */
static uint16_t _chkCaseDecInt(uint16_t usDec, int iDigits)
{
  int p = usDec >> 8, s = usDec & 0xFF;
  return CHK_DEC(std::min(31, s + std::max(p - s, iDigits)), s);
}

/*
** The CASE result rules: sets the CONT_IF's control type and length from
** its THEN and ELSE results.  Returns 0, ZORNODE_RC_CASEDATE when a
** character constant faces date/time results (the caller normalises the
** CASE to that type), or ZORNODE_RC_CASETYPES (control type 0).
*/
static int _chkCaseResult(const zornode *pnodeThen, const zornode *pnodeElse, zornode *pcont)
{
  int iThen = _chkTypeId(pnodeThen), iElse = _chkTypeId(pnodeElse);
  pcont->usCtrlType = NODE_T_INC;
  if (iThen == CHK_CASE_NULL) {
    _chkSet(pcont, pnodeElse->usCtrlType, pnodeElse->usLength);
    return 0;
  }
  if (iElse == CHK_CASE_NULL) {
    _chkSet(pcont, pnodeThen->usCtrlType, pnodeThen->usLength);
    return 0;
  }
  if (iThen == ZORCOL_T_BIGINT || iThen == ZORCOL_T_LONGVAR || iThen == ZORCOL_T_LONGVARG || iThen > ZORCOL_T_ROWID)
    return 0;
  auto isDate = [](int i) { return i == ZORCOL_T_DATE || i == ZORCOL_T_TIME || i == ZORCOL_T_TIMESTAMP; };
  auto isText = [](int i) {
    return i == ZORCOL_T_CHAR || i == ZORCOL_T_VARCHAR || i == ZORCOL_T_GRAPHIC || i == ZORCOL_T_VARGRAPHIC ||
           i == ZORCOL_T_CLOB || i == ZORCOL_T_DBCLOB;
  };
  uint16_t usT = pnodeThen->usLength, usE = pnodeElse->usLength;
  uint16_t usMaxType = std::max(pnodeThen->usCtrlType, pnodeElse->usCtrlType);
  if (pnodeThen->usCtrlType == NODE_T_CHN && isDate(iElse)) {
    _chkSet(pcont, pnodeElse->usCtrlType, usE);
    return ZORNODE_RC_CASEDATE;
  }
  if (isDate(iThen)) {
    if (iElse == iThen) {
      _chkSet(pcont, usMaxType, usT);
      return 0;
    }
    if (pnodeElse->usCtrlType == NODE_T_CHN) {
      _chkSet(pcont, pnodeThen->usCtrlType, usT);
      return ZORNODE_RC_CASEDATE;
    }
    return ZORNODE_RC_CASETYPES;
  }
  switch (iThen) {
    case ZORCOL_T_SMALLINT:
    case ZORCOL_T_INTEGER: {
      bool boSmall = iThen == ZORCOL_T_SMALLINT;
      switch (iElse) {
        case ZORCOL_T_SMALLINT: _chkSet(pcont, boSmall ? NODE_T_VSMI : NODE_T_VINT, boSmall ? 2 : 4); return 0;
        case ZORCOL_T_INTEGER: _chkSet(pcont, NODE_T_VINT, 4); return 0;
        case ZORCOL_T_DECIMAL: _chkSet(pcont, NODE_T_VDEC, _chkCaseDecInt(usE, boSmall ? 5 : 11)); return 0;
        case ZORCOL_T_DOUBLE: _chkSet(pcont, NODE_T_VFLT, 8); return 0;
        case ZORCOL_T_REAL: _chkSet(pcont, NODE_T_VFLT, 4); return 0;
        case ZORCOL_T_BIGINT: _chkSet(pcont, NODE_T_VBIG, 8); return 0;
        default: return ZORNODE_RC_CASETYPES;
      }
    }
    case ZORCOL_T_DECIMAL:
      switch (iElse) {
        case ZORCOL_T_SMALLINT: _chkSet(pcont, NODE_T_VDEC, _chkCaseDecInt(usT, 5)); return 0;
        case ZORCOL_T_INTEGER: _chkSet(pcont, NODE_T_VDEC, _chkCaseDecInt(usT, 11)); return 0;
        /* a BIGINT needs 19 digits: a REAL would lose them */
        case ZORCOL_T_BIGINT: _chkSet(pcont, NODE_T_VDEC, _chkCaseDecInt(usT, 19)); return 0;
        case ZORCOL_T_DECIMAL: {
          int p = usT >> 8, s = usT & 0xFF, p2 = usE >> 8, s2 = usE & 0xFF;
          int iScale = std::max(s, s2);
          _chkSet(pcont, NODE_T_VDEC, CHK_DEC(std::min(31, std::max(p - s, p2 - s2) + iScale), iScale));
          return 0;
        }
        case ZORCOL_T_DOUBLE: _chkSet(pcont, NODE_T_VFLT, 8); return 0;
        case ZORCOL_T_REAL: _chkSet(pcont, NODE_T_VFLT, 4); return 0;
        default: return ZORNODE_RC_CASETYPES;
      }
    case ZORCOL_T_DOUBLE:
    case ZORCOL_T_REAL:
      switch (iElse) {
        case ZORCOL_T_SMALLINT:
        case ZORCOL_T_INTEGER:
        case ZORCOL_T_DECIMAL:
        case ZORCOL_T_BIGINT: _chkSet(pcont, NODE_T_VFLT, iThen == ZORCOL_T_DOUBLE ? 8 : 4); return 0;
        case ZORCOL_T_DOUBLE:
        case ZORCOL_T_REAL: _chkSet(pcont, NODE_T_VFLT, std::max(usT, usE)); return 0;
        default: return ZORNODE_RC_CASETYPES;
      }
    case ZORCOL_T_BLOB:
      if (iElse != ZORCOL_T_BLOB) return ZORNODE_RC_CASETYPES;
      _chkSet(pcont, usMaxType, std::max(usT, usE));
      return 0;
    case ZORCOL_T_ROWID:
      if (iElse != ZORCOL_T_ROWID) return ZORNODE_RC_CASETYPES;
      _chkSet(pcont, usMaxType, usT);
      return 0;
    default:
      break;
  }
  if (isText(iThen) && isText(iElse)) {
    int iLow = std::max(_chkCode(pnodeThen), _chkCode(pnodeElse));
    uint16_t usClass = static_cast<uint16_t>(std::min(pnodeThen->usCtrlType & 0x7000, pnodeElse->usCtrlType & 0x7000));
    /* a varying-length result keeps the varying bit, so that it names VARCHAR or VARGRAPHIC */
    uint16_t usVarying = (iLow == NODE_CTVCH || iLow == NODE_CTVGR) ? NODE_T_VARYING : 0;
    _chkSet(pcont, static_cast<uint16_t>(usClass | NODE_T_CHAR | usVarying | iLow), std::max(usT, usE));
    return 0;
  }
  return ZORNODE_RC_CASETYPES;
}

/* A CASE result brought to the date/time type iCode: 0, a literal's code, or ZORNODE_RC_BADOPERAND. */
static int _chkNormaliseResult(zornode *pnodeResult, int iCode);

/* Brings the results of one CONT_IF (and the CASE levels below it) to the date/time type iCode. */
static int _chkNormaliseCont(zornode *pcont, int iCode)
{
  zornode *pnodeThen = _chkLeft(pcont), *pnodeElse = _chkRight(pcont);
  int rc = pnodeThen == nullptr ? ZORNODE_RC_BADOPERAND : _chkNormaliseResult(pnodeThen, iCode);
  if (rc == 0) rc = pnodeElse == nullptr ? ZORNODE_RC_BADOPERAND : _chkNormaliseResult(pnodeElse, iCode);
  if (rc != 0) {
    pcont->usCtrlType = NODE_T_INC;
    return rc;
  }
  uint16_t usMax = std::max(pnodeThen->usCtrlType, pnodeElse->usCtrlType);
  uint16_t usMin = std::min(pnodeThen->usCtrlType, pnodeElse->usCtrlType);
  pcont->usCtrlType = usMax == NODE_T_NULL ? usMin : usMax;
  pcont->usLength = pnodeThen->usLength;
  return 0;
}

static int _chkNormaliseResult(zornode *pnodeResult, int iCode)
{
  if (pnodeResult->sKind == ZORNODE_OPRT && pnodeResult->sCode == NODE_IF_OP) {
    zornode *pcont = _chkRight(pnodeResult);
    if (pcont == nullptr) return ZORNODE_RC_BADOPERAND;
    int rc = _chkNormaliseCont(pcont, iCode);
    pnodeResult->usCtrlType = pcont->usCtrlType;
    pnodeResult->usLength = pcont->usLength;
    return rc;
  }
  if (_chkCharConstant(pnodeResult)) {
    int rc = _zornodeConvertToDate(pnodeResult, iCode);
    if (rc != 0) return rc;
  }
  if (pnodeResult->usCtrlType == NODE_T_NULL) return 0;
  if (_chkDateTime(pnodeResult) && _chkCode(pnodeResult) == iCode) return 0;
  return ZORNODE_RC_BADOPERAND;
}

static int _chkContIf(zornode *pnode, const ochaine *pchaine)
{
  zornode *pnodeThen = _chkLeft(pnode), *pnodeElse = _chkRight(pnode);
  int rcThen = _chkWalk(pnodeThen, pchaine), rcElse = _chkWalk(pnodeElse, pchaine);
  pnode->usStatus |= NODE_NULLABLE;
  if (rcThen != 0 || rcElse != 0) {
    pnode->usCtrlType = NODE_T_INC;
    return std::max(rcThen, rcElse);
  }
  const char *pcText = zornodeGetOperatorText(NODE_IF_OP);
  if (pnodeThen == nullptr || pnodeElse == nullptr) return _chkFailAt(pnode, pnode, pcText);
  int rc = _chkCaseResult(pnodeThen, pnodeElse, pnode);
  if (rc == ZORNODE_RC_CASEDATE) {
    rc = _chkNormaliseCont(pnode, _chkCode(pnode));
    if (rc != 0) return _chkFailAt(pnode, pnode, pcText, rc);
  } else if (rc != 0) {
    return _chkFailAt(pnode, pnode, pcText, rc);
  }
  int iCode = pnode->usCtrlType & 0xFF;
  if ((pnode->usCtrlType & NODE_T_CHAR) && (iCode == NODE_CTVCH || iCode == NODE_CTVGR))
    pnode->usStatus |= NODE_VARIABLE_LENGHT;
  return 0;
}

static int _chkIf(zornode *pnode, const ochaine *pchaine)
{
  zornode *pnodeWhen = _chkLeft(pnode), *pcont = _chkRight(pnode);
  int rcWhen = _chkWalk(pnodeWhen, pchaine);
  if (pcont == nullptr || pcont->sKind != ZORNODE_OPRT || pcont->sCode != NODE_CONT_IF_OP) {
    _chkWalk(pcont, pchaine);
    return _chkFail(pnode, ZORNODE_RC_NOCONTIF);
  }
  int rcCont = _chkWalk(pcont, pchaine);
  if (rcWhen != 0 || rcCont != 0) {
    pnode->usCtrlType = NODE_T_INC;
    return std::max(rcWhen, rcCont);
  }
  pnode->usCtrlType = pcont->usCtrlType;
  pnode->usLength = pcont->usLength;
  _chkStatusFrom(pnode, pcont, NODE_NULLABLE | NODE_VARIABLE_LENGHT);
  if (pnode->usCtrlType == NODE_T_NULL) {
    _chkItem(pnode);
    omsgsFMTEDO(ZORU078E);
    pnode->usCtrlType = NODE_T_INC;
    return ZORNODE_RC_BADOPERAND;
  }
  return 0;
}

/* ------------------------------------------------- date and time functions */

/*
** YEAR() and its kin: a character constant is first converted (iWanted),
** then the operand must be of one of the two codes.
*/
static int _chkDatePart(zornode *pnode, zornode *pnodeArg, int iWanted, int iCode1, int iCode2, uint16_t usType,
                        uint16_t usLength, uint16_t usExtType)
{
  if (_chkCharConstant(pnodeArg)) _zornodeConvertToDate(pnodeArg, iWanted);
  if (!_chkDateTime(pnodeArg)) return _chkFail(pnode);
  int iCode = _chkCode(pnodeArg);
  if (iCode != iCode1 && iCode != iCode2) return _chkFail(pnode);
  pnode->usCtrlType = usType;
  pnode->usLength = usLength;
  if (usExtType != 0) {
    pnode->usExtType = usExtType;
    pnode->usExtLength = 4;
  }
  _chkStatusFrom(pnode, pnodeArg);
  return 0;
}

/* ----------------------------------------------------------- HEX, DIGIT */

static int _chkHex(zornode *pnode, zornode *pnodeArg)
{
  if (pnodeArg == nullptr || pnodeArg->usCtrlType == NODE_T_INC) return _chkFail(pnode);
  uint32_t ulLength;
  uint16_t usType = NODE_T_VCHR;
  bool boVarying = false;
  uint32_t ulArg = pnodeArg->usLength;
  switch (_chkCode(pnodeArg)) {
    case NODE_CTINT: ulLength = _chkSmallInt(pnodeArg) ? 4 : 8; break;
    case NODE_CTSMI: ulLength = 4; break;
    case NODE_CTDTE: ulLength = 8; break;
    case NODE_CTFLT: ulLength = ulArg == 4 ? 8 : 16; break;
    case NODE_CTDEC: ulLength = ((ulArg >> 8) & ~1u) + 2; break;
    case NODE_CTTME: ulLength = 6; break;
    case NODE_CTTST: ulLength = 20; break;
    case NODE_CTCHR: ulLength = 2 * ulArg; boVarying = ulLength > 255; break;
    case NODE_CTGRA: ulLength = 4 * ulArg; boVarying = ulLength > 255; break;
    case NODE_CTVCH: ulLength = 2 * ulArg; boVarying = true; break;
    case NODE_CTVGR: ulLength = 4 * ulArg; boVarying = true; break;
    default: return _chkFailAt(pnode, pnodeArg, zornodeGetOperatorText(pnode->sCode));
  }
  if (boVarying) {
    usType = NODE_T_VVCH;
    pnode->usStatus |= NODE_VARIABLE_LENGHT;
  }
  pnode->usCtrlType = usType;
  pnode->usLength = static_cast<uint16_t>(std::min<uint32_t>(ulLength, 0xFFFF));
  pnode->sCCSID = 850;
  _chkStatusFrom(pnode, pnodeArg, NODE_NULLABLE | NODE_VARIABLE_LENGHT);
  return 0;
}

static int _chkDigit(zornode *pnode, zornode *pnodeArg)
{
  if (!_chkNumeric(pnodeArg)) return _chkFail(pnode);
  pnode->usCtrlType = NODE_T_VCHR;
  switch (_chkCode(pnodeArg)) {
    case NODE_CTFLT: pnode->usLength = 21; break;
    case NODE_CTDEC: pnode->usLength = static_cast<uint16_t>(pnodeArg->usLength >> 8); break;
    case NODE_CTBIG: break;
    default: pnode->usLength = _chkSmallInt(pnodeArg) ? 5 : 10; break;
  }
  _chkStatusFrom(pnode, pnodeArg);
  return 0;
}

/* ------------------------------------------------------- numeric functions */

static int _chkDecimalFn(zornode *pnode, zornode *pnodeArg, int rcArg)
{
  if (!_chkNumeric(pnodeArg)) {
    int rc = _chkFail(pnode);
    return rcArg != 0 ? rcArg : rc;
  }
  uintptr_t ulValue = (pnode->usStatus & NODE_RIGHT_NOT) ? zornodeRightValue(pnode) : 0xFF00u;
  int p = static_cast<int>((ulValue >> 8) & 0xFF), s = static_cast<int>(ulValue & 0xFF);
  bool boIntegral = _chkIntegral(pnodeArg);
  if (p == 0xFF) p = boIntegral ? (_chkSmallInt(pnodeArg) ? 5 : 11) : 15;
  if (boIntegral && p <= s) return _chkFail(pnode);
  if (p < 1 || p > 31 || s > p) return _chkFail(pnode);
  pnode->usCtrlType = NODE_T_VDEC;
  pnode->usLength = CHK_DEC(p, s);
  zornodeSetRightValue(pnode, pnode->usLength);
  pnode->usStatus |= NODE_RIGHT_NOT;
  _chkStatusFrom(pnode, pnodeArg);
  return 0;
}

static int _chkCeilFloor(zornode *pnode, zornode *pnodeArg)
{
  if (!_chkNumeric(pnodeArg)) return _chkFail(pnode);
  pnode->usStatus |= NODE_NULLABLE;
  switch (_chkCode(pnodeArg)) {
    case NODE_CTSMI: _chkSet(pnode, NODE_T_VSMI, 2); break;
    case NODE_CTINT:
      if (_chkSmallInt(pnodeArg)) _chkSet(pnode, NODE_T_VSMI, 2);
      else _chkSet(pnode, NODE_T_VINT, 4);
      break;
    case NODE_CTFLT: _chkSet(pnode, NODE_T_VFLT, pnodeArg->usLength); break;
    case NODE_CTDEC:
      _chkSet(pnode, NODE_T_VDEC, static_cast<uint16_t>(pnodeArg->usLength & 0xFF00));
      pnode->usExtType = NODE_T_VDEC;
      pnode->usExtLength = pnodeArg->usLength;
      break;
    default: pnode->usCtrlType = NODE_T_INC; break;
  }
  return 0;
}

static int _chkMod(zornode *pnode, zornode *pnodeL, zornode *pnodeR)
{
  if (!_chkNumeric(pnodeL) || !_chkNumeric(pnodeR)) return _chkFail(pnode);
  int iL = _chkCode(pnodeL), iR = _chkCode(pnodeR);
  bool boIntL = _chkIntegral(pnodeL), boIntR = _chkIntegral(pnodeR);
  if (iL == NODE_CTBIG || iR == NODE_CTBIG) {
    pnode->usCtrlType = NODE_T_INC;
  } else if (iL == NODE_CTFLT || iR == NODE_CTFLT) {
    _chkSet(pnode, NODE_T_VFLT, 8);
  } else if (boIntL && boIntR) {
    _chkSet(pnode, NODE_T_VINT, 4);
  } else if (iL == NODE_CTDEC && iR == NODE_CTDEC) {
    int p1 = pnodeL->usLength >> 8, s1 = pnodeL->usLength & 0xFF, p2 = pnodeR->usLength >> 8, s2 = pnodeR->usLength & 0xFF;
    int s = std::max(s1, s2);
    _chkSet(pnode, NODE_T_VDEC, CHK_DEC(std::min(p1 - s1, p2 - s2) + s, s));
  } else {
    _chkSet(pnode, NODE_T_VDEC, iL == NODE_CTDEC ? pnodeL->usLength : pnodeR->usLength);
  }
  _chkStatusFrom(pnode, pnodeL, NODE_NULLABLE | NODE_VARIABLE_LENGHT);
  return 0;
}

static int _chkSign(zornode *pnode, zornode *pnodeArg)
{
  if (!_chkNumeric(pnodeArg)) return _chkFail(pnode);
  switch (_chkCode(pnodeArg)) {
    case NODE_CTSMI: _chkSet(pnode, NODE_T_VSMI, 2); break;
    case NODE_CTINT:
      if (_chkSmallInt(pnodeArg)) _chkSet(pnode, NODE_T_VSMI, 2);
      else _chkSet(pnode, NODE_T_VINT, 4);
      break;
    case NODE_CTFLT: _chkSet(pnode, NODE_T_VFLT, pnodeArg->usLength); break;
    case NODE_CTDEC: {
      int p = pnodeArg->usLength >> 8, s = pnodeArg->usLength & 0xFF;
      _chkSet(pnode, NODE_T_VDEC, (s == p && s != 31) ? CHK_DEC(p + 1, s) : pnodeArg->usLength);
      break;
    }
    default: pnode->usCtrlType = NODE_T_INC; break;
  }
  _chkStatusFrom(pnode, pnodeArg);
  return 0;
}

static int _chkConcat(zornode *pnode, zornode *pnodeL, zornode *pnodeR)
{
  if (!_chkChar(pnodeL) || !_chkChar(pnodeR)) return _chkFail(pnode);
  auto graphic = [](int i) { return i == NODE_CTGRA || i == NODE_CTVGR; };
  int iL = _chkCode(pnodeL), iR = _chkCode(pnodeR);
  if (graphic(iL) != graphic(iR)) return 0;
  bool boVarying = iL == NODE_CTVCH || iL == NODE_CTVGR || iR == NODE_CTVCH || iR == NODE_CTVGR;
  uint16_t usType = graphic(iL) ? (boVarying ? NODE_T_VVGR : NODE_T_VGRA) : (boVarying ? NODE_T_VVCH : NODE_T_VCHR);
  _chkSet(pnode, usType, static_cast<uint16_t>(std::min<uint32_t>(uint32_t{pnodeL->usLength} + pnodeR->usLength, 0xFFFF)));
  if (boVarying) pnode->usStatus |= NODE_VARIABLE_LENGHT;
  if ((pnodeL->usStatus & NODE_NULLABLE) && (pnodeR->usStatus & NODE_NULLABLE)) pnode->usStatus |= NODE_NULLABLE;
  return 0;
}

/* ------------------------------------------------------------ operators */

static int _chkOperator(zornode *pnode, const ochaine *pchaine)
{
  pnode->usCtrlType = NODE_T_INC;
  int iCode = pnode->sCode;
  switch (iCode) {
    case NODE_IN_OP: return _chkIn(pnode, pchaine);
    case NODE_LIKE_OP: return _chkLike(pnode, pchaine);
    case NODE_VAL_OP: return _chkValue(pnode, pchaine);
    case NODE_SUBSTR_OP: return _chkSubstr(pnode, pchaine);
    case NODE_CHR_OP: return _chkChr(pnode, pchaine);
    case NODE_IF_OP: return _chkIf(pnode, pchaine);
    case NODE_CONT_IF_OP: return _chkContIf(pnode, pchaine);
    case NODE_DUREE_OP: return _chkDuree(pnode, pchaine);
    case NODE_CONT_DUREE_OP: return _chkContDuree(pnode, pchaine);
    case NODE_CONT_VAL_OP: _chkValueChain(pnode, pchaine); return 0;
    case NODE_LIKE_ESC_OP:
    case NODE_IN_OP_RANDOM:
    case NODE_CONVERSION_OP:
      return 0;
    default:
      break;
  }

  /* every other operator: its operands first, their results ignored */
  zornode *pnodeL = _chkLeft(pnode), *pnodeR = _chkRight(pnode);
  int rcL = _chkWalk(pnodeL, pchaine);
  int rcR = _chkWalk(pnodeR, pchaine);
  switch (iCode) {
    case NODE_OR_OP:
    case NODE_AND_OP:
      if (pnodeL == nullptr || pnodeR == nullptr || pnodeL->usCtrlType != NODE_T_BOOL || pnodeR->usCtrlType != NODE_T_BOOL)
        return _chkFail(pnode);
      pnode->usCtrlType = NODE_T_BOOL;
      return 0;
    case NODE_NOT_OP:
      if (pnodeL == nullptr || pnodeL->usCtrlType != NODE_T_BOOL) return _chkFail(pnode);
      pnode->usCtrlType = NODE_T_BOOL;
      return 0;
    case NODE_EQU_OP:
    case NODE_INF_OP:
    case NODE_SUP_OP:
    case NODE_DIFF_OP:
    case NODE_IEG_OP:
    case NODE_SEG_OP:
      if (!_chkComparable(pnodeL, pnodeR)) return _chkFail(pnode);
      _chkSet(pnode, NODE_T_BOOL, 0);
      return 0;
    case NODE_NUL_OP:
      if (!_chkComparable(pnodeL, pnodeR)) return _chkFail(pnode);
      _chkSet(pnode, pnodeL->usCtrlType, pnodeL->usLength);
      pnode->usStatus |= NODE_NULLABLE;
      return 0;
    case NODE_PLS_OP:
    case NODE_MNS_OP:
      if (pnodeL == nullptr || pnodeR == nullptr) return _chkFail(pnode);
      if (_chkNumeric(pnodeL) && _chkNumeric(pnodeR)) return _chkArithmetic(pnode, pnodeL, pnodeR);
      return _chkDateArithmetic(pnode, pnodeL, pnodeR);
    case NODE_MLT_OP:
    case NODE_DIV_OP:
      if (!_chkNumeric(pnodeL) || !_chkNumeric(pnodeR)) return _chkFail(pnode);
      return _chkArithmetic(pnode, pnodeL, pnodeR);
    case NODE_MNSU_OP:
      /* the operand's type, a value; DB2 makes the negation of a SMALLINT an INTEGER */
      if (!_chkNumeric(pnodeL)) return _chkFail(pnode);
      if (_chkSmallInt(pnodeL)) _chkSet(pnode, NODE_T_VINT, 4);
      else _chkSet(pnode, _chkValueType(pnodeL->usCtrlType), pnodeL->usLength);
      _chkStatusFrom(pnode, pnodeL);
      return 0;
    case NODE_IS_OP:
      if (pnodeL == nullptr || !(pnodeL->usCtrlType & NODE_T_VALUE) || pnodeR != nullptr) return _chkFail(pnode);
      _chkSet(pnode, NODE_T_BOOL, 0);
      return 0;
    case NODE_INT_OP:
      if (!_chkNumeric(pnodeL)) return _chkFail(pnode);
      _chkSet(pnode, NODE_T_VINT, 4);
      _chkStatusFrom(pnode, pnodeL);
      return 0;
    case NODE_FLT_OP: {
      if (!_chkNumeric(pnodeL)) return _chkFail(pnode);
      uint16_t usLength = (pnode->usStatus & NODE_RIGHT_NOT) ? static_cast<uint16_t>(zornodeRightValue(pnode) >> 16) : 8;
      _chkSet(pnode, NODE_T_VFLT, usLength == 4 ? 4 : 8);
      _chkStatusFrom(pnode, pnodeL);
      return 0;
    }
    case NODE_DEC_OP:
      return _chkDecimalFn(pnode, pnodeL, rcL);
    case NODE_DTE_OP:
      if (_chkCharConstant(pnodeL)) _zornodeConvertToDate(pnodeL, NODE_CTDTE);
      if (_chkDateTime(pnodeL) && (_chkCode(pnodeL) == NODE_CTDTE || _chkCode(pnodeL) == NODE_CTTST)) {
        _chkSet(pnode, NODE_T_VDTE, 4);
        _chkStatusFrom(pnode, pnodeL);
        return 0;
      }
      if (_chkChar(pnodeL) || _chkDateTime(pnodeL)) return _chkFail(pnode);
      return 0;
    case NODE_TME_OP:
      if (_chkCharConstant(pnodeL)) _zornodeConvertToDate(pnodeL, NODE_CTTME);
      if (_chkDateTime(pnodeL) && (_chkCode(pnodeL) == NODE_CTTME || _chkCode(pnodeL) == NODE_CTTST)) {
        _chkSet(pnode, NODE_T_VTME, 3);
        _chkStatusFrom(pnode, pnodeL);
        return 0;
      }
      if (_chkChar(pnodeL)) _chkFail(pnode);
      return 0;
    case NODE_TST_OP: {
      bool boGood;
      if (pnodeR == nullptr) {
        if (_chkCharConstant(pnodeL)) _zornodeConvertToDate(pnodeL, NODE_CTTST);
        boGood = _chkDateTime(pnodeL) && _chkCode(pnodeL) == NODE_CTTST;
      } else {
        if (_chkCharConstant(pnodeL)) _zornodeConvertToDate(pnodeL, NODE_CTDTE);
        if (_chkCharConstant(pnodeR)) _zornodeConvertToDate(pnodeR, NODE_CTTME);
        boGood = _chkDateTime(pnodeL) && _chkCode(pnodeL) == NODE_CTDTE && _chkDateTime(pnodeR) &&
                 _chkCode(pnodeR) == NODE_CTTME;
      }
      if (!boGood) {
        _chkFail(pnode);
        return 0;
      }
      _chkSet(pnode, NODE_T_VTST, 10);
      _chkStatusFrom(pnode, pnodeL);
      return 0;
    }
    case NODE_YEA_OP:
    case NODE_MNSECONDS_OP:
      return _chkDatePart(pnode, pnodeL, 0, NODE_CTDTE, NODE_CTTST, NODE_T_VDEC, CHK_DEC(4, 0), NODE_T_VINT);
    case NODE_DAYOFMONTH_OP:
      pnode->sCode = NODE_DAY_OP;
      return _chkDatePart(pnode, pnodeL, 0, NODE_CTDTE, NODE_CTTST, NODE_T_VDEC, CHK_DEC(2, 0), NODE_T_VINT);
    case NODE_MON_OP:
    case NODE_DAY_OP:
      return _chkDatePart(pnode, pnodeL, 0, NODE_CTDTE, NODE_CTTST, NODE_T_VDEC, CHK_DEC(2, 0), NODE_T_VINT);
    case NODE_HOU_OP:
    case NODE_MIN_OP:
    case NODE_SEC_OP:
      return _chkDatePart(pnode, pnodeL, 0, NODE_CTTME, NODE_CTTST, NODE_T_VDEC, CHK_DEC(2, 0), NODE_T_VINT);
    case NODE_MIC_OP:
      return _chkDatePart(pnode, pnodeL, NODE_CTTST, NODE_CTTST, NODE_CTTST, NODE_T_VDEC, CHK_DEC(6, 0), NODE_T_VINT);
    case NODE_DAYS_OP:
    case NODE_DAYOFWEEK_OP:
    case NODE_DAYOFYEAR_OP:
    case NODE_QUARTER_OP:
      return _chkDatePart(pnode, pnodeL, 0, NODE_CTDTE, NODE_CTTST, NODE_T_VINT, 4, 0);
    case NODE_LEN_OP:
      if (!_chkChar(pnodeL)) return _chkFail(pnode);
      _chkSet(pnode, _chkConstant(pnodeL) ? NODE_T_INT : NODE_T_VINT, 4);
      _chkStatusFrom(pnode, pnodeL);
      return 0;
    case NODE_STRIP_OP:
    case NODE_STRIP2_OP:
    case NODE_STRIP3_OP:
      if (!_chkChar(pnodeL)) {
        if (pnodeL != nullptr) pnode->usLength = pnodeL->usLength;
        return _chkFail(pnode);
      }
      _chkSet(pnode, _chkValueType(pnodeL->usCtrlType), pnodeL->usLength);
      pnode->usStatus |= NODE_VARIABLE_LENGHT;
      _chkStatusFrom(pnode, pnodeL);
      _zornodeConvertStripLit(pnode);
      return 0;
    case NODE_DIG_OP:
      return _chkDigit(pnode, pnodeL);
    case NODE_HEX_OP:
      return _chkHex(pnode, pnodeL);
    case NODE_VARG_OP: {
      if (!_chkChar(pnodeL)) return _chkFail(pnode);
      int32_t iLength = pnodeL->usLength, iMax;
      if (_chkIntegerValue(pnodeR, &iMax) && iMax >= 0) iLength = std::min(iLength, iMax);
      _chkSet(pnode, NODE_T_VCHR, static_cast<uint16_t>(iLength));
      pnode->usStatus |= NODE_VARIABLE_LENGHT;
      _chkStatusFrom(pnode, pnodeL, NODE_NULLABLE | NODE_VARIABLE_LENGHT);
      return 0;
    }
    case NODE_CONCAT_OP:
      return _chkConcat(pnode, pnodeL, pnodeR);
    case NODE_ABS_OP:
      if (!_chkNumeric(pnodeL)) return _chkFail(pnode);
      _chkSet(pnode, _chkValueType(pnodeL->usCtrlType), pnodeL->usLength);
      _chkStatusFrom(pnode, pnodeL, NODE_NULLABLE | NODE_VARIABLE_LENGHT);
      return 0;
    case NODE_CEIL_OP:
    case NODE_FLOOR_OP:
      return _chkCeilFloor(pnode, pnodeL);
    case NODE_MOD_OP:
      return _chkMod(pnode, pnodeL, pnodeR);
    case NODE_REAL_OP:
      if (!_chkNumeric(pnodeL)) return _chkFail(pnode);
      _chkSet(pnode, NODE_T_VFLT, 4);
      _chkStatusFrom(pnode, pnodeL, NODE_NULLABLE | NODE_VARIABLE_LENGHT);
      return 0;
    case NODE_SIGN_OP:
      return _chkSign(pnode, pnodeL);
    case NODE_SMINT_OP:
      if (!_chkNumeric(pnodeL)) return _chkFail(pnode);
      _chkSet(pnode, NODE_T_VSMI, 2);
      _chkStatusFrom(pnode, pnodeL, NODE_NULLABLE | NODE_VARIABLE_LENGHT);
      return 0;
    case NODE_TRUNC_OP:
      if (pnodeL == nullptr || !_chkIntegral(pnodeL)) return 0;
      _chkSet(pnode, _chkValueType(pnodeL->usCtrlType), pnodeL->usLength);
      _chkStatusFrom(pnode, pnodeL, NODE_NULLABLE | NODE_VARIABLE_LENGHT);
      return 0;
    case NODE_CONT_IN_OP:
      if (pnodeL != nullptr) {
        _chkSet(pnode, pnodeL->usCtrlType, pnodeL->usLength);
        _chkStatusFrom(pnode, pnodeL, NODE_NULLABLE | NODE_VARIABLE_LENGHT);
      }
      return rcL != 0 ? rcL : rcR;
    default:
      omsgsFMTEDO(ZOR0666F, "UNKNOWN OPERATOR TYPE\n");
      return ZORNODE_RC_BADOPERAND;
  }
}

/* ------------------------------------------------------------ the walk */

int _zornodeCheckExpression(zornode *pnode, const ochaine *pchaine)
{
  if (pnode == nullptr) return 0;
  switch (pnode->sKind) {
    case ZORNODE_CSTE: return 0;
    case ZORNODE_VAR: return _chkColumn(pnode, pchaine);
    case ZORNODE_OPRT: return _chkOperator(pnode, pchaine);
    default: return ZORNODE_RC_BADKIND;
  }
}

/* ------------------------------------------------------------ binding */

static zornodeEvalProc _chkLookup(uintptr_t ulKey)
{
  return reinterpret_cast<zornodeEvalProc>(odictLoad(gpdictNodeProc, ulKey));
}

int _zornodeDetermineNodeProc(zornode *pnode)
{
  if (pnode == nullptr) return 0;
  if (zornodeEvalInitProcDict() != 0) return ORC_NOMEM;
  switch (pnode->sKind) {
    case ZORNODE_CSTE: pnode->procEval = _zornodeEvalProc_LoadCste; return 0;
    case ZORNODE_VAR: pnode->procEval = _zornodeEvalProc_LoadVar; return 0;
    case ZORNODE_OPRT: break;
    default: return 0;
  }
  zornode *pnodeL = _chkLeft(pnode), *pnodeR = _chkRight(pnode);
  if (pnodeR != nullptr) {
    int rc = _zornodeDetermineNodeProc(pnodeR);
    if (rc != 0) return rc;
  }
  if (pnodeL != nullptr) {
    int rc = _zornodeDetermineNodeProc(pnodeL);
    if (rc != 0) return rc;
  }
  unsigned uCode = static_cast<uint16_t>(pnode->sCode);
  unsigned uLeft = pnodeL != nullptr ? pnodeL->usCtrlType & 0xFFu : ZORNODE_EVAL_ANY;
  zornodeEvalProc proc = nullptr;
  if (pnodeR != nullptr) proc = _chkLookup(zornodeEvalProcKey(uCode, uLeft, pnodeR->usCtrlType & 0xFFu));
  if (proc == nullptr) proc = _chkLookup(zornodeEvalProcKey(uCode, uLeft, ZORNODE_EVAL_ANY));
  if (proc == nullptr) proc = _chkLookup(zornodeEvalProcKey(uCode, ZORNODE_EVAL_ANY, ZORNODE_EVAL_ANY));
  pnode->procEval = proc;
  if (proc != nullptr || pnode->sCode < 0) return 0;
  if (pnodeR != nullptr)
    omsgsTrace("Proc eval not found: oper = %d, nodes = 0x%x,0x%x\n", pnode->sCode, uLeft, pnodeR->usCtrlType & 0xFFu);
  else
    omsgsTrace("Proc eval not found: oper = %d, nodes = 0x%x,NULL\n", pnode->sCode, uLeft);
  return ZORNODE_RC_NOPROC;
}

/* ------------------------------------------------------------ the entry */

int zornodeCheckExpression(zornode *pnode, const ochaine *pchaine)
{
  int rc = _zornodeCheckExpression(pnode, pchaine);
  if (rc == 0 && pnode != nullptr) _zornodeResolveConversion(pnode);
  return _zornodeDetermineNodeProc(pnode);
}
