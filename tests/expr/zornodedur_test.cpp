/*
** zornodedur_test.cpp
**   DUREE and DIFFTEMPS procedures evaluated over constant trees: labelled
**   and DECIMAL durations on dates, times and timestamps (month ends, leap
**   years, carries, range errors, amounts beyond 32 bits), NULL operands,
**   and DB2's date, time and timestamp differences.
*/
#include "expr/zornodedur.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "expr/odecimal.h"
#include "expr/otime.h"
#include "expr/zornode.h"
#include "expr/zornodeeval.h"
#include "tests/zavtest.h"

namespace {

/* Packs "yyyy-mm-dd-hh.mm.ss.nnnnnn" style digits into DB2's BCD bytes. */
std::vector<unsigned char> packDigits(const std::string &strDigits)
{
  std::vector<unsigned char> v;
  for (size_t i = 0; i + 1 < strDigits.size(); i += 2)
    v.push_back(static_cast<unsigned char>((strDigits[i] - '0') * 16 + (strDigits[i + 1] - '0')));
  return v;
}

/* A date/time constant from its digits: 8 for a DATE, 6 for a TIME, 20 for a TIMESTAMP. */
zornode *dateTimeConstant(const std::string &strDigits)
{
  std::vector<unsigned char> v = packDigits(strDigits);
  unsigned char *puc = static_cast<unsigned char *>(std::malloc(2 + v.size()));
  uint16_t us = static_cast<uint16_t>(v.size());
  std::memcpy(puc, &us, 2);
  std::memcpy(puc + 2, v.data(), v.size());
  int iCode = v.size() == 4 ? NODE_CTDTE : v.size() == 3 ? NODE_CTTME : NODE_CTTST;
  zornode *pnode = zornodeCreate(ZORNODE_CSTE, iCode, puc, nullptr, 0, nullptr, nullptr);
  pnode->usCtrlType = static_cast<uint16_t>(NODE_T_CSTE | NODE_T_DATETIME | iCode);
  pnode->usLength = us;
  pnode->procEval = _zornodeEvalProc_LoadCste;
  return pnode;
}

/* A DECIMAL constant from its digits and scale ("-" first for a negative one). */
zornode *decimalConstant(std::string strDigits, int iScale)
{
  bool boNegative = strDigits[0] == '-';
  if (boNegative) strDigits.erase(0, 1);
  unsigned char *puc = static_cast<unsigned char *>(std::calloc(1, ZORNODE_DECIMAL_SIZE));
  puc[0] = static_cast<unsigned char>(strDigits.size());
  puc[1] = static_cast<unsigned char>(iScale);
  puc[17] = boNegative ? 0x0D : 0x0C;
  int iByte = 17;
  bool boHigh = true;
  for (size_t j = strDigits.size(); j-- > 0;) {
    unsigned char d = static_cast<unsigned char>(strDigits[j] - '0');
    if (boHigh) {
      puc[iByte] |= static_cast<unsigned char>(d << 4);
      iByte--;
    } else {
      puc[iByte] |= d;
    }
    boHigh = !boHigh;
  }
  zornode *pnode = zornodeCreateDecimal(puc, nullptr, nullptr);
  pnode->procEval = _zornodeEvalProc_LoadCste;
  return pnode;
}

zornode *integerConstant(int32_t i)
{
  zornode *pnode = zornodeCreateInteger(i, nullptr, nullptr);
  pnode->procEval = _zornodeEvalProc_LoadCste;
  return pnode;
}

zornode *bigintConstant(int64_t ll)
{
  uint64_t u = static_cast<uint64_t>(ll);
  zornode *pnode = zornodeCreateBigint(static_cast<uint32_t>(u), static_cast<uint32_t>(u >> 32), nullptr, nullptr);
  pnode->procEval = _zornodeEvalProc_LoadCste;
  return pnode;
}

zornode *doubleConstant(double d)
{
  uint64_t u;
  std::memcpy(&u, &d, 8);
  zornode *pnode = zornodeCreateFloat(static_cast<uint32_t>(u), static_cast<uint32_t>(u >> 32), nullptr, nullptr);
  pnode->procEval = _zornodeEvalProc_LoadCste;
  return pnode;
}

/* Counts the evaluations of operands that stand for a NULL value. */
int giNullEvaluations = 0;
zornodeEvalValue *nullProc(zornodeEvalContext *pctx, zornode *)
{
  giNullEvaluations++;
  zornodeEvalValue *pval = zornodeEvalTake(pctx);
  pval->iNull = 1;
  return pval;
}

/* A NULL operand of the given control type. */
zornode *nullOperand(uint16_t usCtrlType)
{
  zornode *pnode = zornodeCreateNull(nullptr, nullptr);
  pnode->usCtrlType = usCtrlType;
  pnode->procEval = nullProc;
  return pnode;
}

/* CONT_DUREE over an amount with a unit word. */
zornode *container(zornode *pnodeAmount, unsigned uWord)
{
  zornode *pnode = zornodeCreate(ZORNODE_OPRT, NODE_CONT_DUREE_OP, pnodeAmount, reinterpret_cast<void *>(uintptr_t{uWord}),
                                 NODE_RIGHT_NOT, nullptr, nullptr);
  pnode->usCtrlType = (pnodeAmount->usCtrlType & 0xFF) == NODE_CTDEC ? NODE_T_VDEC : NODE_T_VINT;
  return pnode;
}

zornode *operatorNode(int iCode, zornode *pnodeLeft, zornode *pnodeRight, zornodeEvalProc proc)
{
  zornode *pnode = zornodeCreate(ZORNODE_OPRT, iCode, pnodeLeft, pnodeRight, 0, nullptr, nullptr);
  pnode->procEval = proc;
  return pnode;
}

/* An evaluation context freed with the test. */
struct Context {
  zornodeEvalContext *pctx = zornodeEvalCreate(8);
  ~Context()
  {
    opoolDelete(&pctx->pool);
    std::free(pctx);
  }
};

/* Result of one evaluation: the reason code of a failure, else the element's contents. */
struct Outcome {
  int rc = 0;
  uintptr_t ulLink = 0;
  int32_t iNull = 0;
  std::vector<unsigned char> vPacked;
  odecimal dec{};
};

Outcome evaluate(zornode *pnodeRoot)
{
  Context ctx;
  Outcome out;
  int32_t iResult = 1;
  out.rc = zornodeEvalEval(ctx.pctx, pnodeRoot, nullptr, &iResult);
  if (out.rc == 0) {
    zornodeEvalValue *pval = pnodeRoot->procEval(ctx.pctx, pnodeRoot);
    out.ulLink = pval->ulLink;
    out.iNull = pval->iNull;
    out.vPacked.assign(pval->u.time.acPacked, pval->u.time.acPacked + OTIME_PLEN);
    out.dec = pval->u.dec;
  }
  return out;
}

/* The packed bytes of a result as the digits of its kind. */
std::string digitsOf(const Outcome &out, size_t ulFrom, size_t ulCount)
{
  std::string str;
  for (size_t i = ulFrom; i < ulFrom + ulCount; i++) {
    str.push_back(static_cast<char>('0' + (out.vPacked[i] >> 4)));
    str.push_back(static_cast<char>('0' + (out.vPacked[i] & 0x0F)));
  }
  return str;
}

std::string resultDigits(const Outcome &out, int iCode)
{
  switch (iCode) {
    case NODE_CTDTE: return digitsOf(out, OTIME_PDATE, 4);
    case NODE_CTTME: return digitsOf(out, OTIME_PTIME, 3);
    default: return digitsOf(out, 0, OTIME_PLEN);
  }
}

}  // namespace

/* ------------------------------------------------------ labelled durations */

enum AmountKind { AMOUNT_INT, AMOUNT_BIG, AMOUNT_DOUBLE, AMOUNT_DEC };

struct LabelledCase {
  const char *pcValue;     /* digits of the DATE (8), TIME (6) or TIMESTAMP (20) */
  AmountKind eAmount;
  double dAmount;          /* value of an INT, BIG or DOUBLE amount */
  const char *pcDecimal;   /* digits of a DECIMAL amount */
  int iDecScale;
  unsigned uUnit;
  bool boSubtract;
  const char *pcExpected;  /* digits of the result, or NULL when rc is expected */
  int iExpectedRc;
};

TEST(ZornodeDur, LabelledDurationsFollowDB2CalendarRules)
{
  const LabelledCase aCases[] = {
      /* month ends and leap years */
      {"20040131", AMOUNT_INT, 1, nullptr, 0, ZORNODE_DUR_MONTH, false, "20040229", 0},
      {"20030131", AMOUNT_INT, 1, nullptr, 0, ZORNODE_DUR_MONTH, false, "20030228", 0},
      {"20040331", AMOUNT_INT, 1, nullptr, 0, ZORNODE_DUR_MONTH, true, "20040229", 0},
      {"20000229", AMOUNT_INT, 1, nullptr, 0, ZORNODE_DUR_YEAR, false, "20010228", 0},
      {"20041115", AMOUNT_INT, 1, nullptr, 0, ZORNODE_DUR_MONTH, false, "20041215", 0},
      {"20040115", AMOUNT_INT, 13, nullptr, 0, ZORNODE_DUR_MONTH, true, "20021215", 0},
      /* doubles truncate toward zero, decimals count their integer part */
      {"20040228", AMOUNT_DOUBLE, 3.7, nullptr, 0, ZORNODE_DUR_DAY, false, "20040302", 0},
      {"20040302", AMOUNT_DOUBLE, -1.9, nullptr, 0, ZORNODE_DUR_DAY, false, "20040301", 0},
      {"20040228", AMOUNT_DEC, 0, "29", 1, ZORNODE_DUR_DAY, false, "20040301", 0},
      {"20040228", AMOUNT_BIG, 2, nullptr, 0, ZORNODE_DUR_DAY, true, "20040226", 0},
      /* units a DATE does not have leave it unchanged */
      {"20040228", AMOUNT_INT, 5, nullptr, 0, ZORNODE_DUR_HOUR, false, "20040228", 0},
      /* the limits of the calendar */
      {"99991231", AMOUNT_INT, 1, nullptr, 0, ZORNODE_DUR_DAY, false, nullptr, OTIME_DATE},
      {"99990101", AMOUNT_INT, 1, nullptr, 0, ZORNODE_DUR_YEAR, false, nullptr, OTIME_YEAR},
      {"00010101", AMOUNT_INT, 1, nullptr, 0, ZORNODE_DUR_DAY, true, nullptr, OTIME_DATE},
      /* amounts beyond 32 bits are not cut to their low bits */
      {"20040101", AMOUNT_BIG, 4294967297.0, nullptr, 0, ZORNODE_DUR_DAY, false, nullptr, OTIME_DATE},
      {"20040101", AMOUNT_DEC, 0, "4294967297", 0, ZORNODE_DUR_DAY, false, nullptr, OTIME_DATE},
      {"20040101", AMOUNT_DOUBLE, NAN, nullptr, 0, ZORNODE_DUR_DAY, false, nullptr, OTIME_DATE},
      /* a TIME wraps around midnight */
      {"230000", AMOUNT_INT, 2, nullptr, 0, ZORNODE_DUR_HOUR, false, "010000", 0},
      {"003000", AMOUNT_INT, 1, nullptr, 0, ZORNODE_DUR_HOUR, true, "233000", 0},
      {"235959", AMOUNT_INT, 1, nullptr, 0, ZORNODE_DUR_SECOND, false, "000000", 0},
      {"120000", AMOUNT_BIG, 5000000000.0, nullptr, 0, ZORNODE_DUR_SECOND, false, "205320", 0},
      {"120000", AMOUNT_INT, 3, nullptr, 0, ZORNODE_DUR_DAY, false, "120000", 0},
      /* a TIMESTAMP carries into its date */
      {"20040228235959999999", AMOUNT_INT, 1, nullptr, 0, ZORNODE_DUR_MICRO, false, "20040229000000000000", 0},
      {"20040301000000000000", AMOUNT_INT, 1, nullptr, 0, ZORNODE_DUR_MICRO, true, "20040229235959999999", 0},
      {"20040131103000000000", AMOUNT_INT, 1, nullptr, 0, ZORNODE_DUR_MONTH, false, "20040229103000000000", 0},
      {"99991231230000000000", AMOUNT_INT, 1, nullptr, 0, ZORNODE_DUR_HOUR, false, nullptr, OTIME_DATE},
      {"20040101000000000000", AMOUNT_BIG, 5000000000.0, nullptr, 0, ZORNODE_DUR_MICRO, false,
       "20040101012320000000", 0},
      {"20000101000000000000", AMOUNT_DOUBLE, 3e9, nullptr, 0, ZORNODE_DUR_SECOND, false, "20950124052000000000", 0},
      {"20040101000000000000", AMOUNT_BIG, 3000000000.0, nullptr, 0, ZORNODE_DUR_MINUTE, false,
       "77071222080000000000", 0},
  };
  for (const LabelledCase &c : aCases) {
    SCOPED_TRACE(std::string(c.pcValue) + " unit " + std::to_string(c.uUnit) + (c.boSubtract ? " minus" : " plus"));
    zornode *pnodeValue = dateTimeConstant(c.pcValue);
    int iCode = pnodeValue->sCode;
    zornode *pnodeAmount = nullptr;
    switch (c.eAmount) {
      case AMOUNT_INT: pnodeAmount = integerConstant(static_cast<int32_t>(c.dAmount)); break;
      case AMOUNT_BIG: pnodeAmount = bigintConstant(static_cast<int64_t>(c.dAmount)); break;
      case AMOUNT_DOUBLE: pnodeAmount = doubleConstant(c.dAmount); break;
      case AMOUNT_DEC: pnodeAmount = decimalConstant(c.pcDecimal, c.iDecScale); break;
    }
    zornodeEvalProc proc = iCode == NODE_CTDTE   ? _zornodeEvalProc_DUREE_OP_DATE_INT
                           : iCode == NODE_CTTME ? _zornodeEvalProc_DUREE_OP_TIME_INT
                                                 : _zornodeEvalProc_DUREE_OP_TST_INT;
    zornode *pnodeRoot = operatorNode(NODE_DUREE_OP, pnodeValue,
                                      container(pnodeAmount, c.uUnit | (c.boSubtract ? ZORNODE_DUR_SUBTRACT : 0)), proc);
    Outcome out = evaluate(pnodeRoot);
    if (c.pcExpected == nullptr) {
      EXPECT_EQ(out.rc, c.iExpectedRc);
    } else {
      ASSERT_EQ(out.rc, 0);
      EXPECT_EQ(out.iNull, 0);
      EXPECT_EQ(out.ulLink, static_cast<uintptr_t>(NODE_T_VALUE | NODE_T_DATETIME | iCode));
      EXPECT_EQ(resultDigits(out, iCode), c.pcExpected);
    }
    zornodeDestroy(pnodeRoot);
  }
}

TEST(ZornodeDur, ContainerOnTheLeftAddsToTheRightOperand)
{
  struct {
    const char *pcValue;
    unsigned uUnit;
    zornodeEvalProc proc;
    const char *pcExpected;
  } aCases[] = {
      {"20040227", ZORNODE_DUR_DAY, _zornodeEvalProc_DUREE_OP_INT_DATE, "20040301"},
      {"230000", ZORNODE_DUR_HOUR, _zornodeEvalProc_DUREE_OP_INT_TIME, "020000"},
      {"20041231235959000000", ZORNODE_DUR_SECOND, _zornodeEvalProc_DUREE_OP_INT_TST, "20050101000002000000"},
  };
  for (const auto &c : aCases) {
    SCOPED_TRACE(c.pcValue);
    zornode *pnodeValue = dateTimeConstant(c.pcValue);
    int iCode = pnodeValue->sCode;
    zornode *pnodeRoot = operatorNode(NODE_DUREE_OP, container(integerConstant(3), c.uUnit), pnodeValue, c.proc);
    Outcome out = evaluate(pnodeRoot);
    ASSERT_EQ(out.rc, 0);
    EXPECT_EQ(resultDigits(out, iCode), c.pcExpected);
    zornodeDestroy(pnodeRoot);
  }
}

TEST(ZornodeDur, NullOperandsGiveNull)
{
  /* a NULL date: NULL, and the amount is never evaluated */
  giNullEvaluations = 0;
  zornode *pnodeRoot = operatorNode(NODE_DUREE_OP, nullOperand(NODE_T_VDTE),
                                    container(nullOperand(NODE_T_VINT), ZORNODE_DUR_DAY), _zornodeEvalProc_DUREE_OP_DATE_INT);
  Outcome out = evaluate(pnodeRoot);
  ASSERT_EQ(out.rc, 0);
  EXPECT_NE(out.iNull, 0);
  EXPECT_EQ(out.ulLink, uintptr_t{NODE_T_VDTE});
  EXPECT_EQ(giNullEvaluations, 2);   /* the date, once per evaluation, never the amount */
  zornodeDestroy(pnodeRoot);

  /* a NULL amount, labelled or DECIMAL */
  for (zornodeEvalProc proc : {_zornodeEvalProc_DUREE_OP_DATE_INT, _zornodeEvalProc_DUREE_OP_DATE_DEC}) {
    pnodeRoot = operatorNode(NODE_DUREE_OP, dateTimeConstant("20040101"),
                             container(nullOperand(NODE_T_VINT), ZORNODE_DUR_DAY), proc);
    out = evaluate(pnodeRoot);
    ASSERT_EQ(out.rc, 0);
    EXPECT_NE(out.iNull, 0);
    zornodeDestroy(pnodeRoot);
  }

  /* differences: either side NULL */
  for (int iSide = 0; iSide < 2; iSide++) {
    zornode *pnodeLeft = iSide == 0 ? nullOperand(NODE_T_VDTE) : dateTimeConstant("20040101");
    zornode *pnodeRight = iSide == 1 ? nullOperand(NODE_T_VDTE) : dateTimeConstant("20040101");
    pnodeRoot = operatorNode(NODE_DIFFTEMPS_OP, pnodeLeft, pnodeRight, _zornodeEvalProc_DIFFTEMPS_OP_DATE);
    out = evaluate(pnodeRoot);
    ASSERT_EQ(out.rc, 0);
    EXPECT_NE(out.iNull, 0);
    EXPECT_EQ(out.ulLink, uintptr_t{NODE_T_VDEC});
    zornodeDestroy(pnodeRoot);
  }
}

/* ------------------------------------------------------- DECIMAL durations */

TEST(ZornodeDur, DecimalDurationsAreDecodedAndApplied)
{
  struct {
    const char *pcValue;
    const char *pcDuration;
    int iScale;
    bool boSubtract;
    bool boContainerLeft;
    const char *pcExpected;
    int iExpectedRc;
  } aCases[] = {
      /* 1 year, 2 months, 15 days: added years first, subtracted days first */
      {"20040120", "00010215", 0, false, false, "20050404", 0},
      {"20050404", "00010215", 0, true, false, "20040120", 0},
      {"20050404", "-00010215", 0, false, false, "20040120", 0},
      {"20040120", "00010215", 0, false, true, "20050404", 0},
      {"99990101", "00010000", 0, false, false, nullptr, OTIME_YEAR},
      /* hhmmss, wrapping */
      {"100000", "013015", 0, false, false, "113015", 0},
      {"010000", "013015", 0, true, false, "232945", 0},
      {"230000", "020000", 0, false, true, "010000", 0},
      /* yyyymmddhhmmss.nnnnnn */
      {"20040131235959999999", "00000100000000000001", 6, false, false, "20040301000000000000", 0},
      {"20050301000000000000", "00000100225959999999", 6, true, false, "20050131010000000001", 0},
      {"99991231230000000000", "00000000010000000000", 6, false, false, nullptr, OTIME_DATE},
  };
  for (const auto &c : aCases) {
    SCOPED_TRACE(std::string(c.pcValue) + (c.boSubtract ? " - " : " + ") + c.pcDuration);
    zornode *pnodeValue = dateTimeConstant(c.pcValue);
    int iCode = pnodeValue->sCode;
    zornode *pnodeCont = container(decimalConstant(c.pcDuration, c.iScale), c.boSubtract ? ZORNODE_DUR_SUBTRACT : 0);
    zornodeEvalProc proc;
    if (c.boContainerLeft)
      proc = iCode == NODE_CTDTE   ? _zornodeEvalProc_DUREE_OP_DEC_DATE
             : iCode == NODE_CTTME ? _zornodeEvalProc_DUREE_OP_DEC_TIME
                                   : _zornodeEvalProc_DUREE_OP_DEC_TST;
    else
      proc = iCode == NODE_CTDTE   ? _zornodeEvalProc_DUREE_OP_DATE_DEC
             : iCode == NODE_CTTME ? _zornodeEvalProc_DUREE_OP_TIME_DEC
                                   : _zornodeEvalProc_DUREE_OP_TST_DEC;
    zornode *pnodeRoot = c.boContainerLeft ? operatorNode(NODE_DUREE_OP, pnodeCont, pnodeValue, proc)
                                           : operatorNode(NODE_DUREE_OP, pnodeValue, pnodeCont, proc);
    Outcome out = evaluate(pnodeRoot);
    if (c.pcExpected == nullptr) {
      EXPECT_EQ(out.rc, c.iExpectedRc);
    } else {
      ASSERT_EQ(out.rc, 0);
      EXPECT_EQ(resultDigits(out, iCode), c.pcExpected);
    }
    zornodeDestroy(pnodeRoot);
  }
}

/* ------------------------------------------------------------ differences */

TEST(ZornodeDur, DifferencesGiveDB2Durations)
{
  struct {
    const char *pcLeft;
    const char *pcRight;
    int iSign;
    int32_t iInt1, iInt0, iFrac0;
  } aCases[] = {
      {"20050331", "20050228", 0, 0, 103, 0},
      {"20050228", "20050331", 1, 0, 103, 0},
      {"20050301", "20050131", 0, 0, 101, 0},
      {"20040301", "20040229", 0, 0, 1, 0},
      {"20000101", "19991231", 0, 0, 1, 0},
      {"20050601", "19990601", 0, 0, 60000, 0},
      {"20040101", "20040101", 0, 0, 0, 0},
      {"100000", "113015", 1, 0, 13015, 0},
      {"113015", "100000", 0, 0, 13015, 0},
      {"20050301000000000000", "20050131010000000001", 0, 0, 100225959, 999999000},
      {"20050131010000000001", "20050301000000000000", 1, 0, 100225959, 999999000},
      {"20041231235959000000", "19020101000000000000", 0, 1021, 130235959, 0},
  };
  for (const auto &c : aCases) {
    SCOPED_TRACE(std::string(c.pcLeft) + " - " + c.pcRight);
    zornode *pnodeLeft = dateTimeConstant(c.pcLeft);
    int iCode = pnodeLeft->sCode;
    zornodeEvalProc proc = iCode == NODE_CTDTE   ? _zornodeEvalProc_DIFFTEMPS_OP_DATE
                           : iCode == NODE_CTTME ? _zornodeEvalProc_DIFFTEMPS_OP_TIME
                                                 : _zornodeEvalProc_DIFFTEMPS_OP_TST;
    zornode *pnodeRoot = operatorNode(NODE_DIFFTEMPS_OP, pnodeLeft, dateTimeConstant(c.pcRight), proc);
    Outcome out = evaluate(pnodeRoot);
    ASSERT_EQ(out.rc, 0);
    EXPECT_EQ(out.ulLink, uintptr_t{NODE_T_VDEC});
    EXPECT_EQ(out.iNull, 0);
    EXPECT_EQ(out.dec.iSign, c.iSign);
    EXPECT_EQ(out.dec.iCount, iCode == NODE_CTTST ? 2 : 1);
    EXPECT_EQ(out.dec.aiWord[ODEC_INT(1)], c.iInt1);
    EXPECT_EQ(out.dec.aiWord[ODEC_INT(0)], c.iInt0);
    EXPECT_EQ(out.dec.aiWord[ODEC_FRAC(0)], c.iFrac0);
    zornodeDestroy(pnodeRoot);
  }
}

TEST(ZornodeDur, DifferenceOfAnImpossibleDateEndsTheEvaluation)
{
  /* packed bytes naming month 13: no calendar difference exists */
  zornode *pnodeRoot = operatorNode(NODE_DIFFTEMPS_OP, dateTimeConstant("20041301"), dateTimeConstant("20040101"),
                                    _zornodeEvalProc_DIFFTEMPS_OP_DATE);
  EXPECT_EQ(evaluate(pnodeRoot).rc, OTIME_DATE);
  zornodeDestroy(pnodeRoot);
}

/* ------------------------------------------------- within a WHERE condition */

TEST(ZornodeDur, OutOfRangeResultDropsTheRecordWithItsReason)
{
  /* D + 1 DAY = D, then the same record again with a date that can move */
  auto build = [](const char *pcDate) {
    zornode *pnodeDuree = operatorNode(NODE_DUREE_OP, dateTimeConstant(pcDate),
                                       container(integerConstant(1), ZORNODE_DUR_DAY), _zornodeEvalProc_DUREE_OP_DATE_INT);
    pnodeDuree->usCtrlType = NODE_T_VDTE;
    zornode *pnodeRoot = operatorNode(NODE_EQU_OP, pnodeDuree, dateTimeConstant("20040301"),
                                      _zornodeEvalProc_EQU_OP_DATE_DATE);
    pnodeRoot->usCtrlType = NODE_T_BOOL;
    return pnodeRoot;
  };
  Context ctx;
  zornode *pnodeBad = build("99991231");
  zornode *pnodeGood = build("20040229");
  int iBad = -1, iGood = -1;
  std::vector<std::string> vMessages = zavtestMessages([&] {
    iBad = zornodeEvalBool(ctx.pctx, pnodeBad);
    iGood = zornodeEvalBool(ctx.pctx, pnodeGood);
  });
  EXPECT_EQ(iBad, 0);
  EXPECT_EQ(iGood, 1);
  ASSERT_EQ(vMessages.size(), 1u);
  EXPECT_NE(vMessages[0].find("ZORU365W"), std::string::npos);
  EXPECT_NE(vMessages[0].find("0x7a002"), std::string::npos);
  zornodeDestroy(pnodeBad);
  zornodeDestroy(pnodeGood);
}
