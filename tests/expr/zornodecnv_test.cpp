/*
** zornodecnv_test.cpp
**   Constant rewriting and code-page resolution of the expression check:
**   date/time literals in every accepted form and the texts refused,
**   numeric constants retyped without losing their value, the dominance
**   rule, conversions of constants, columns and CONVERSION nodes with their
**   messages, LIKE patterns, STRIP characters and the IN list set.
*/
#include "expr/zornodecnv.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/ochar.h"
#include "common/ocnvft.h"
#include "common/oname.h"
#include "expr/odecimal.h"
#include "expr/zorcol.h"
#include "expr/zornode.h"
#include "tests/zavtest.h"

namespace {

/* A CHAR constant (or GRAPHIC for a double-byte CCSID) holding the bytes. */
zornode *textConstant(const std::string &strBytes, uint16_t usCCSID)
{
  ochar *pchar = nullptr;
  pchar = static_cast<ochar *>(std::calloc(1, sizeof(ochar)));
  ocharInitFromFixed(pchar, strBytes.data(), static_cast<int32_t>(strBytes.size()), usCCSID);
  zornode *pnode = zornodeCreateLitteral(pchar, nullptr, nullptr);
  ocharDestroy(pchar);
  return pnode;
}

/* [u16 n][bytes] of a constant as a string of the n bytes (n counting characters for GRAPHIC). */
std::string constantBytes(const zornode *pnode)
{
  const unsigned char *puc = static_cast<const unsigned char *>(pnode->pLeft);
  uint16_t us;
  std::memcpy(&us, puc, 2);
  size_t ul = pnode->usCtrlType == NODE_T_GRA ? 2u * us : us;
  return std::string(reinterpret_cast<const char *>(puc + 2), ul);
}

/* A CHAR column of a CCSID (the descriptor carries it; the node not yet). */
zornode *charColumn(int16_t sCCSID)
{
  zorcol *pcol = zorcolCreate(nullptr, 1, nullptr, 0);
  pcol->sCCSID = sCCSID;
  zornode *pnode = zornodeCreate(ZORNODE_VAR, NODE_CTCHR, pcol, nullptr, 0, nullptr, nullptr);
  pnode->usCtrlType = NODE_T_VCHR;
  return pnode;
}

zornode *op(int iCode, zornode *pnodeLeft, zornode *pnodeRight)
{
  return zornodeCreate(ZORNODE_OPRT, iCode, pnodeLeft, pnodeRight, 0, nullptr, nullptr);
}

zornode *doubleConstant(double d)
{
  uint64_t u;
  std::memcpy(&u, &d, 8);
  return zornodeCreateFloat(static_cast<uint32_t>(u), static_cast<uint32_t>(u >> 32), nullptr, nullptr);
}

/* A DECIMAL constant from its digits and scale. */
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
    if (boHigh) puc[iByte--] |= static_cast<unsigned char>(d << 4);
    else puc[iByte] |= d;
    boHigh = !boHigh;
  }
  return zornodeCreateDecimal(puc, nullptr, nullptr);
}

/* The value of a DECIMAL constant as text: sign, digits, point, fraction. */
std::string decimalText(const zornode *pnode)
{
  const unsigned char *puc = static_cast<const unsigned char *>(pnode->pLeft);
  int iPrec = puc[0], iScale = puc[1];
  std::string str = (puc[17] & 0x0F) == 0x0D ? "-" : "";
  for (int k = iPrec; k >= 1; k--) {
    if (k == iScale) str += '.';
    unsigned char uc = puc[17 - k / 2];
    str += static_cast<char>('0' + ((k % 2 == 1) ? uc >> 4 : uc & 0x0F));
  }
  return str;
}

/* Global conversion context of the tests: locale 850 / mixed 1208 / double-byte 1200. */
class ZornodeCnvCodePages : public ::testing::Test {
 protected:
  void SetUp() override
  {
    ASSERT_EQ(ocnvftCreateGlobal(nullptr, 'A', 0x80, 37, 0, 1200, 850, 1208, 1200, 850, 1208, 1202, 850, 1208, 1200), 0);
  }
  void TearDown() override { ocnvftDestroy(gpcnvft); }
};

}  // namespace

/* ------------------------------------------------------ date/time literals */

TEST(ZornodeCnv, DateTimeLiteralsBecomePackedConstants)
{
  struct {
    const char *pcText;
    int iWanted;
    int iCode;               /* data type code after a success */
    const char *pcPacked;    /* packed bytes as hex digits */
  } aCases[] = {
      {"2024-3-5", NODE_CTDTE, NODE_CTDTE, "20240305"},
      {"03/05/2024", NODE_CTDTE, NODE_CTDTE, "20240305"},
      {"05.03.2024", NODE_CTDTE, NODE_CTDTE, "20240305"},
      {"2024-03-05  ", NODE_CTDTE, NODE_CTDTE, "20240305"},
      {"2024-02-29", NODE_CTDTE, NODE_CTDTE, "20240229"},
      {"2024-03-05-14.30.00.5", NODE_CTTST, NODE_CTTST, "20240305143000500000"},
      {"2024-03-05-14.30.00.", NODE_CTTST, NODE_CTTST, "20240305143000000000"},
      {"2024-3-5-9.05.07.000250 ", NODE_CTTST, NODE_CTTST, "20240305090507000250"},
      {"2024-03-05-24.00.00", NODE_CTTST, NODE_CTTST, "20240305240000000000"},
      {"14.30", NODE_CTTME, NODE_CTTME, "143000"},
      {"14:30:15", NODE_CTTME, NODE_CTTME, "143015"},
      {"9.5:7  ", NODE_CTTME, NODE_CTTME, "090507"},
      {"24:00:00", NODE_CTTME, NODE_CTTME, "240000"},
      /* without a wanted type: timestamp, then date, then time */
      {"2024-03-05-14.30.00", 0, NODE_CTTST, "20240305143000000000"},
      {"2024-03-05", 0, NODE_CTDTE, "20240305"},
      {"14.30.00", 0, NODE_CTTME, "143000"},
  };
  for (const auto &c : aCases) {
    SCOPED_TRACE(c.pcText);
    zornode *pnode = textConstant(c.pcText, 850);
    ASSERT_EQ(_zornodeConvertToDate(pnode, c.iWanted), 0);
    std::string strHex;
    for (unsigned char uc : constantBytes(pnode)) {
      static const char acHex[] = "0123456789ABCDEF";
      strHex += acHex[uc >> 4];
      strHex += acHex[uc & 0x0F];
    }
    EXPECT_EQ(strHex, c.pcPacked);
    EXPECT_EQ(pnode->sCode, c.iCode);
    EXPECT_EQ(pnode->usCtrlType, NODE_T_CSTE | NODE_T_DATETIME | c.iCode);
    EXPECT_EQ(pnode->usLength, strHex.size() / 2);
    EXPECT_EQ(pnode->sCCSID, 0);
    /* the rewritten constant copies as a date/time constant */
    zornode *pcopy = zornodeClone(pnode);
    ASSERT_NE(pcopy, nullptr);
    EXPECT_EQ(constantBytes(pcopy), constantBytes(pnode));
    zornodeDestroy(pcopy);
    zornodeDestroy(pnode);
  }
}

TEST(ZornodeCnv, TextsThatAreNoDateOrTimeStayCharacter)
{
  struct {
    const char *pcText;
    int iWanted;
    int iRc;
  } aCases[] = {
      {"2024-03-05-14.30.00.1234567", NODE_CTTST, ZORNODE_RC_NOTTST},   /* seventh fraction digit */
      {"2024-03-05-14.30", NODE_CTTST, ZORNODE_RC_NOTTST},
      {"2024-03-05-24.30.00", NODE_CTTST, ZORNODE_RC_NOTTST},           /* 24 only at 24.00.00 */
      {"2024-03-05-24.00.00.000001", NODE_CTTST, ZORNODE_RC_NOTTST},
      {"2024-13-05", NODE_CTDTE, ZORNODE_RC_NOTDATE},
      {"2024-00-05", NODE_CTDTE, ZORNODE_RC_NOTDATE},
      {"2024-02-30", NODE_CTDTE, ZORNODE_RC_NOTDATE},                   /* no such day */
      {"2023-02-29", NODE_CTDTE, ZORNODE_RC_NOTDATE},
      {"0000-01-01", NODE_CTDTE, ZORNODE_RC_NOTDATE},
      {"2024-03-05x", NODE_CTDTE, ZORNODE_RC_NOTDATE},
      {"13/05/2024", NODE_CTDTE, ZORNODE_RC_NOTDATE},
      {"14:30 ", NODE_CTTME, ZORNODE_RC_NOTTIME},   /* after the minutes only seconds may follow */
      {"14:60", NODE_CTTME, ZORNODE_RC_NOTTIME},
      {"25:00", NODE_CTTME, ZORNODE_RC_NOTTIME},    /* no hour 25 */
      {"24:30", NODE_CTTME, ZORNODE_RC_NOTTIME},
      {"14:30:15xyz", NODE_CTTME, ZORNODE_RC_NOTTIME},
      {"05.03.2024", NODE_CTTME, ZORNODE_RC_NOTTIME},   /* a date is not a time */
      {"abc", 0, ZORNODE_RC_NOTTIME},                   /* the last form tried */
      {"", 0, ZORNODE_RC_NOTTIME},
      {"2024-03-05", 12, ZORNODE_RC_NOFORM},
  };
  for (const auto &c : aCases) {
    SCOPED_TRACE(c.pcText);
    zornode *pnode = textConstant(c.pcText, 850);
    std::string strBefore = constantBytes(pnode);
    EXPECT_EQ(_zornodeConvertToDate(pnode, c.iWanted), c.iRc);
    EXPECT_EQ(pnode->usCtrlType, NODE_T_CHN);
    EXPECT_EQ(pnode->sCCSID, 850);
    EXPECT_EQ(constantBytes(pnode), strBefore);
    zornodeDestroy(pnode);
  }
  /* only character constants are parsed */
  zornode *pnode = zornodeCreateInteger(20240305, nullptr, nullptr);
  EXPECT_EQ(_zornodeConvertToDate(pnode, NODE_CTDTE), ZORNODE_RC_NOTDATE);
  EXPECT_EQ(pnode->usCtrlType, NODE_T_INT);
  zornodeDestroy(pnode);
}

/* ------------------------------------------------------ numeric constants */

TEST(ZornodeCnv, NumericConstantsBecomeDecimalsOfTheSameValue)
{
  struct {
    zornode *pnode;
    const char *pcExpected;   /* NULL: refused */
  } aCases[] = {
      {zornodeCreateInteger(123, nullptr, nullptr), "123"},
      {zornodeCreateInteger(0, nullptr, nullptr), "0"},
      {zornodeCreateInteger(INT32_MIN, nullptr, nullptr), "-2147483648"},
      {zornodeCreateSmallInt(-5, nullptr, nullptr), "-5"},
      {doubleConstant(2.5), "2.5"},
      {doubleConstant(0.1), ".1"},
      {doubleConstant(-0.001), "-.001"},
      {doubleConstant(123456789.125), "123456789.125"},
      {doubleConstant(1e30), "1000000000000000000000000000000"},
      {doubleConstant(-0.0), "0"},
      {doubleConstant(1e40), nullptr},
      {doubleConstant(1e-40), nullptr},
      {doubleConstant(NAN), nullptr},
  };
  for (auto &c : aCases) {
    SCOPED_TRACE(c.pcExpected != nullptr ? c.pcExpected : "refused");
    uint16_t usCtrlBefore = c.pnode->usCtrlType;
    int rc = _zornodeConvertToDec(c.pnode);
    if (c.pcExpected == nullptr) {
      EXPECT_EQ(rc, ZORNODE_RC_RANGE);
      EXPECT_EQ(c.pnode->usCtrlType, usCtrlBefore);
    } else {
      ASSERT_EQ(rc, 0);
      EXPECT_EQ(c.pnode->sCode, NODE_CTDEC);
      EXPECT_EQ(c.pnode->usCtrlType, NODE_T_DEC);
      const unsigned char *puc = static_cast<const unsigned char *>(c.pnode->pLeft);
      EXPECT_EQ(c.pnode->usLength, puc[0] << 8 | puc[1]);
      EXPECT_EQ(decimalText(c.pnode), c.pcExpected);
      /* the evaluator's loader reads the same value back */
      odecimal dec;
      ASSERT_EQ(_decInitFromInternal(&dec, puc + 17 - puc[0] / 2, puc[0], puc[1]), 0);
    }
    zornodeDestroy(c.pnode);
  }
  zornode *pnode = textConstant("12", 850);
  EXPECT_EQ(_zornodeConvertToDec(pnode), 0);
  EXPECT_EQ(pnode->usCtrlType, NODE_T_CHN);
  zornodeDestroy(pnode);
}

TEST(ZornodeCnv, AmountsBecomeIntegersWithinTheirRange)
{
  struct {
    zornode *pnode;
    int iRc;
    int32_t iExpected;
    uint16_t usCtrlAfter;
  } aCases[] = {
      {doubleConstant(3.7), 0, 3, NODE_T_INT},
      {doubleConstant(-3.7), 0, -3, NODE_T_INT},
      {doubleConstant(2147483647.0), 0, INT32_MAX, NODE_T_INT},
      {doubleConstant(-2147483648.0), 0, INT32_MIN, NODE_T_INT},
      {doubleConstant(2147483648.0), ZORNODE_RC_RANGE, 0, NODE_T_FLT},
      {doubleConstant(NAN), ZORNODE_RC_RANGE, 0, NODE_T_FLT},
      {decimalConstant("29", 1), 0, 2, NODE_T_INT},
      {decimalConstant("-1234567", 2), 0, -12345, NODE_T_INT},
      {decimalConstant("99999999999", 0), ZORNODE_RC_RANGE, 0, NODE_T_DEC},
      {zornodeCreateInteger(7, nullptr, nullptr), 0, 7, NODE_T_INT},
      {zornodeCreateBigint(1, 1, nullptr, nullptr), 0, 0, NODE_T_BIG},
  };
  for (auto &c : aCases) {
    SCOPED_TRACE(c.iExpected);
    EXPECT_EQ(_zornodeConvertToInt(c.pnode), c.iRc);
    EXPECT_EQ(c.pnode->usCtrlType, c.usCtrlAfter);
    if (c.usCtrlAfter == NODE_T_INT) {
      int32_t i;
      std::memcpy(&i, c.pnode->pLeft, 4);
      EXPECT_EQ(i, c.iExpected);
      EXPECT_EQ(c.pnode->sCode, NODE_CTINT);
      EXPECT_EQ(c.pnode->usLength, 4);
    }
    zornodeDestroy(c.pnode);
  }
}

/* -------------------------------------------------------------- dominance */

TEST(ZornodeCnv, DominanceRule)
{
  struct {
    int iKind1, iCCSID1, iKind2, iCCSID2, iExpected;
  } aCases[] = {
      {ZORNODE_VAR, 850, ZORNODE_VAR, 850, ZORNODE_DOM_NONE},
      {ZORNODE_VAR, 0xFFFF, ZORNODE_CSTE, 1200, ZORNODE_DOM_NONE},
      {ZORNODE_CSTE, 1208, ZORNODE_VAR, 0xFFFF, ZORNODE_DOM_NONE},
      {ZORNODE_VAR, 1208, ZORNODE_CSTE, 1200, ZORNODE_DOM_SECOND},
      {ZORNODE_VAR, 1200, ZORNODE_CSTE, 1208, ZORNODE_DOM_FIRST},
      {ZORNODE_CSTE, 1208, ZORNODE_VAR, 850, ZORNODE_DOM_FIRST},
      {ZORNODE_VAR, 850, ZORNODE_OPRT, 1208, ZORNODE_DOM_SECOND},
      {ZORNODE_CSTE, 819, ZORNODE_VAR, 850, ZORNODE_DOM_SECOND},
      {ZORNODE_VAR, 850, ZORNODE_CSTE, 819, ZORNODE_DOM_FIRST},
      {ZORNODE_OPRT, 850, ZORNODE_CSTE, 819, ZORNODE_DOM_SECOND},
      {ZORNODE_CSTE, 850, ZORNODE_OPRT, 819, ZORNODE_DOM_FIRST},
      {ZORNODE_OPRT, 850, ZORNODE_OPRT, 819, ZORNODE_DOM_FIRST},
  };
  for (const auto &c : aCases) {
    zornode node1{}, node2{};
    node1.sKind = static_cast<int16_t>(c.iKind1);
    node1.sCCSID = static_cast<int16_t>(c.iCCSID1);
    node2.sKind = static_cast<int16_t>(c.iKind2);
    node2.sCCSID = static_cast<int16_t>(c.iCCSID2);
    EXPECT_EQ(_zornodeFindDominant(&node1, &node2), c.iExpected) << c.iCCSID1 << " vs " << c.iCCSID2;
  }
}

/* ------------------------------------------------- code-page resolution */

TEST_F(ZornodeCnvCodePages, ColumnOfAnotherCodePageIsWrapped)
{
  /* 1208 = 850: the 850 column is converted */
  zornode *pnodeRoot = op(NODE_EQU_OP, charColumn(1208), charColumn(850));
  EXPECT_EQ(_zornodeResolveConversion(pnodeRoot), 0);
  zornode *pnodeLeft = static_cast<zornode *>(pnodeRoot->pLeft);
  zornode *pnodeRight = static_cast<zornode *>(pnodeRoot->pRight);
  EXPECT_EQ(pnodeLeft->sKind, ZORNODE_VAR);
  EXPECT_EQ(pnodeLeft->sCCSID, 1208);
  ASSERT_EQ(pnodeRight->sCode, NODE_CONVERSION_OP);
  EXPECT_EQ(pnodeRight->sCCSID, 1208);
  EXPECT_TRUE(pnodeRight->usStatus & NODE_RIGHT_NOT);
  EXPECT_NE(pnodeRight->pRight, nullptr);
  EXPECT_EQ(static_cast<zornode *>(pnodeRight->pLeft)->sCCSID, 850);
  EXPECT_EQ(pnodeRoot->usPadChar, pnodeLeft->usPadChar);
  EXPECT_EQ(pnodeRoot->sCCSID, 0);

  /* the wrapper goes back to the column's own code page: removed; to another: retargeted */
  EXPECT_EQ(_zornodeConvert(pnodeRoot, ZORNODE_SLOT_RIGHT, 1200), 0);
  pnodeRight = static_cast<zornode *>(pnodeRoot->pRight);
  ASSERT_EQ(pnodeRight->sCode, NODE_CONVERSION_OP);
  EXPECT_EQ(pnodeRight->sCCSID, 1200);
  EXPECT_EQ(_zornodeConvert(pnodeRoot, ZORNODE_SLOT_RIGHT, 850), 0);
  pnodeRight = static_cast<zornode *>(pnodeRoot->pRight);
  EXPECT_EQ(pnodeRight->sKind, ZORNODE_VAR);
  zornodeDestroy(pnodeRoot);

  /* a constant that came in as 1200 dominates an 850 column */
  pnodeRoot = op(NODE_EQU_OP, charColumn(850), textConstant(std::string("\0a", 2), 1200));
  _zornodeResolveConversion(pnodeRoot);
  pnodeLeft = static_cast<zornode *>(pnodeRoot->pLeft);
  ASSERT_EQ(pnodeLeft->sCode, NODE_CONVERSION_OP);
  EXPECT_EQ(pnodeLeft->sCCSID, 1200);
  zornodeDestroy(pnodeRoot);

  /* no converter for the pair: the column stays as it is and the code comes back */
  pnodeRoot = op(NODE_EQU_OP, charColumn(850), nullptr);
  _zornodeResolveConversion(static_cast<zornode *>(pnodeRoot->pLeft));
  std::vector<std::string> vMessages = zavtestMessages([&] {
    EXPECT_EQ(_zornodeConvert(pnodeRoot, ZORNODE_SLOT_LEFT, 9999), OCNVFT_RC_NOCONVERTER);
  });
  EXPECT_EQ(static_cast<zornode *>(pnodeRoot->pLeft)->sKind, ZORNODE_VAR);
  zornodeDestroy(pnodeRoot);
}

TEST_F(ZornodeCnvCodePages, ConstantsAreConvertedInPlace)
{
  /* an 819 constant facing an 850 column takes the column's code page */
  zornode *pnodeRoot = op(NODE_EQU_OP, charColumn(850), textConstant("caf\xE9", 819));
  _zornodeResolveConversion(pnodeRoot);
  zornode *pnodeConst = static_cast<zornode *>(pnodeRoot->pRight);
  EXPECT_EQ(pnodeConst->sCCSID, 850);
  EXPECT_EQ(constantBytes(pnodeConst), "caf\x82");
  EXPECT_EQ(pnodeConst->usPadChar, pnodeRoot->usPadChar);
  zornodeDestroy(pnodeRoot);

  /* two constants converted to different code pages each keep their own */
  zornode *pnodeParent = op(NODE_EQU_OP, textConstant("\xE9", 819), textConstant("\xE9", 819));
  EXPECT_EQ(_zornodeConvert(pnodeParent, ZORNODE_SLOT_LEFT, 850), 0);
  EXPECT_EQ(_zornodeConvert(pnodeParent, ZORNODE_SLOT_RIGHT, 1208), 0);
  zornode *pnodeLeft = static_cast<zornode *>(pnodeParent->pLeft);
  zornode *pnodeRight = static_cast<zornode *>(pnodeParent->pRight);
  EXPECT_EQ(pnodeLeft->sCCSID, 850);
  EXPECT_EQ(constantBytes(pnodeLeft), "\x82");
  EXPECT_EQ(pnodeRight->sCCSID, 1208);
  EXPECT_EQ(constantBytes(pnodeRight), "\xC3\xA9");   /* grown by one byte */
  EXPECT_EQ(pnodeRight->usLength, 2);

  /* to a double-byte code page: a GRAPHIC constant counting characters, and back */
  EXPECT_EQ(_zornodeConvert(pnodeParent, ZORNODE_SLOT_LEFT, 1200), 0);
  pnodeLeft = static_cast<zornode *>(pnodeParent->pLeft);
  EXPECT_EQ(pnodeLeft->sCode, NODE_CTGRA);
  EXPECT_EQ(pnodeLeft->usCtrlType, NODE_T_GRA);
  EXPECT_EQ(pnodeLeft->usLength, 1);
  EXPECT_EQ(constantBytes(pnodeLeft).size(), 2u);
  zornode *pcopy = zornodeClone(pnodeLeft);
  EXPECT_EQ(constantBytes(pcopy), constantBytes(pnodeLeft));
  zornodeDestroy(pcopy);
  EXPECT_EQ(_zornodeConvert(pnodeParent, ZORNODE_SLOT_LEFT, 850), 0);
  pnodeLeft = static_cast<zornode *>(pnodeParent->pLeft);
  EXPECT_EQ(pnodeLeft->usCtrlType, NODE_T_CHN);
  EXPECT_EQ(constantBytes(pnodeLeft), "\x82");
  zornodeDestroy(pnodeParent);

  /* a failed conversion says so and keeps the bytes it has */
  pnodeParent = op(NODE_EQU_OP, textConstant("abc", 850), nullptr);
  int rc = 0;
  std::vector<std::string> vMessages = zavtestMessages([&] { rc = _zornodeConvert(pnodeParent, ZORNODE_SLOT_LEFT, 9999); });
  EXPECT_EQ(rc, OCNVFT_RC_NOCONVERT);
  ASSERT_FALSE(vMessages.empty());
  EXPECT_EQ(vMessages.back(), "ZORU005E ERROR CONVERTING A CONSTANT IN AN EXPRESSION\n");
  EXPECT_EQ(constantBytes(static_cast<zornode *>(pnodeParent->pLeft)), "abc");
  EXPECT_EQ(static_cast<zornode *>(pnodeParent->pLeft)->sCCSID, 9999);
  zornodeDestroy(pnodeParent);
}

TEST_F(ZornodeCnvCodePages, OperatorsResolveTheirOperands)
{
  /* IN: every constant of the list takes the tested column's code page and pad */
  zornode *pnodeList = textConstant("\xE9", 819);
  pnodeList->pRight = textConstant("\xC3\xA9", 1208);
  zornode *pnodeIn = op(NODE_IN_OP, charColumn(850), pnodeList);
  _zornodeResolveConversion(pnodeIn);
  for (zornode *p = pnodeList; p != nullptr; p = static_cast<zornode *>(p->pRight)) {
    EXPECT_EQ(p->sCCSID, 850);
    EXPECT_EQ(constantBytes(p), "\x82");
    EXPECT_EQ(p->usPadChar, 32);
  }
  EXPECT_EQ(pnodeIn->usPadChar, 32);
  zornodeDestroy(pnodeIn);

  /* CONCAT: the side holding the 1208 operand gives its code page to the other */
  zornode *pnodeInner = op(NODE_CONCAT_OP, textConstant("a", 850), charColumn(1208));
  zornode *pnodeConcat = op(NODE_CONCAT_OP, pnodeInner, charColumn(850));
  EXPECT_EQ(_zornodeResolveConversion(pnodeConcat), 1208);
  EXPECT_EQ(static_cast<zornode *>(pnodeInner->pLeft)->sCCSID, 1208);
  zornode *pnodeRight = static_cast<zornode *>(pnodeConcat->pRight);
  EXPECT_EQ(pnodeRight->sCode, NODE_CONVERSION_OP);
  EXPECT_EQ(pnodeRight->sCCSID, 1208);
  zornodeDestroy(pnodeConcat);

  /* VALUE: the 1208 argument wins, every other argument is converted to it */
  zornode *pnodeCont2 = op(NODE_CONT_VAL_OP, textConstant("x", 819), nullptr);
  zornode *pnodeCont1 = op(NODE_CONT_VAL_OP, charColumn(1208), pnodeCont2);
  zornode *pnodeValue = op(NODE_VAL_OP, charColumn(850), pnodeCont1);
  EXPECT_EQ(_zornodeResolveConversion(pnodeValue), 1208);
  EXPECT_EQ(static_cast<zornode *>(pnodeValue->pLeft)->sCode, NODE_CONVERSION_OP);
  EXPECT_EQ(static_cast<zornode *>(pnodeCont1->pLeft)->sKind, ZORNODE_VAR);
  EXPECT_EQ(static_cast<zornode *>(pnodeCont2->pLeft)->sCCSID, 1208);
  zornodeDestroy(pnodeValue);

  /* NULLIF takes the left's code page */
  zornode *pnodeNullif = op(NODE_NUL_OP, charColumn(850), textConstant("\xE9", 819));
  EXPECT_EQ(_zornodeResolveConversion(pnodeNullif), 850);
  EXPECT_EQ(constantBytes(static_cast<zornode *>(pnodeNullif->pRight)), "\x82");
  zornodeDestroy(pnodeNullif);

  /* a function of a character value reads it in the locale's single-byte code page */
  zornode *pnodeYear = op(NODE_YEA_OP, charColumn(1208), nullptr);
  EXPECT_EQ(_zornodeResolveConversion(pnodeYear), 0);
  zornode *pnodeArg = static_cast<zornode *>(pnodeYear->pLeft);
  EXPECT_EQ(pnodeArg->sCode, NODE_CONVERSION_OP);
  EXPECT_EQ(pnodeArg->sCCSID, 850);
  zornodeDestroy(pnodeYear);

  /* CHAR(), VARGRAPHIC(), DIGITS() of numbers: the locale's code pages */
  struct {
    int iCode;
    int iCCSID;
  } aFunctions[] = {{NODE_CHR_OP, 850}, {NODE_VARG_OP, 1200}, {NODE_DIG_OP, 850}, {NODE_HEX_OP, 850}};
  for (const auto &f : aFunctions) {
    zornode *pnodeNumber = zornodeCreateInteger(1, nullptr, nullptr);
    pnodeNumber->usCtrlType = NODE_T_INT;
    zornode *pnodeFunction = op(f.iCode, pnodeNumber, nullptr);
    EXPECT_EQ(_zornodeResolveConversion(pnodeFunction), f.iCCSID) << f.iCode;
    zornodeDestroy(pnodeFunction);
  }

  /* CASE: the results meet in the dominant code page, which the CASE keeps */
  zornode *pnodeContIf = op(NODE_CONT_IF_OP, textConstant("\xE9", 819), charColumn(1208));
  zornode *pnodeIf = op(NODE_IF_OP, zornodeCreateInteger(1, nullptr, nullptr), pnodeContIf);
  EXPECT_EQ(_zornodeResolveConversion(pnodeIf), 1208);
  EXPECT_EQ(constantBytes(static_cast<zornode *>(pnodeContIf->pLeft)), "\xC3\xA9");
  zornodeDestroy(pnodeIf);
}

/* ------------------------------------------------------------ LIKE, STRIP */

TEST_F(ZornodeCnvCodePages, LikePatternPiecesAreConverted)
{
  /* tokens [2 "\xE9x"] [0] [-1] [1 "\xE9"] in 819 */
  auto token = [](int16_t s) { return std::string(reinterpret_cast<const char *>(&s), 2); };
  std::string strTokens = token(2) + "\xE9x" + token(0) + token(-1) + token(1) + "\xE9";
  zornode *pnodePattern = textConstant(strTokens, 819);

  EXPECT_EQ(_zornodeModifyLikeString(pnodePattern, 819), 0);   /* already there */
  EXPECT_EQ(constantBytes(pnodePattern), strTokens);

  /* no converter: the whole pattern stays as it was */
  EXPECT_NE(_zornodeModifyLikeString(pnodePattern, 9999), 0);
  EXPECT_EQ(constantBytes(pnodePattern), strTokens);
  EXPECT_EQ(pnodePattern->sCCSID, 819);

  EXPECT_EQ(_zornodeModifyLikeString(pnodePattern, 1208), 0);
  std::string strExpected = token(3) + "\xC3\xA9x" + token(0) + token(-1) + token(2) + "\xC3\xA9";
  EXPECT_EQ(constantBytes(pnodePattern), strExpected);
  EXPECT_EQ(pnodePattern->sCCSID, 1208);
  EXPECT_EQ(pnodePattern->usLength, strExpected.size());
  zornodeDestroy(pnodePattern);

  /* a token that runs past the string is refused */
  pnodePattern = textConstant(token(9) + "ab", 819);
  EXPECT_EQ(_zornodeModifyLikeString(pnodePattern, 1208), ORC_INVALID);
  zornodeDestroy(pnodePattern);

  /* through the LIKE operator: the pattern follows the tested column */
  zornode *pnodeLike = op(NODE_LIKE_OP, charColumn(850), textConstant(token(1) + "\xE9", 819));
  _zornodeResolveConversion(pnodeLike);
  EXPECT_EQ(constantBytes(static_cast<zornode *>(pnodeLike->pRight)), token(1) + "\x82");
  zornodeDestroy(pnodeLike);
}

TEST_F(ZornodeCnvCodePages, StripCharacterTakesTheStringsCodePage)
{
  auto strip = [](int16_t sCCSID, unsigned uChar1, unsigned uChar2, unsigned uClass) {
    zornode *pnodeString = charColumn(sCCSID);
    pnodeString->sCCSID = sCCSID;
    uintptr_t ul = (uintptr_t{uChar1} << 8) | (uintptr_t{uChar2} << 16) | (uintptr_t{uClass} << 24);
    return zornodeCreate(ZORNODE_OPRT, NODE_STRIP_OP, pnodeString, reinterpret_cast<void *>(ul), NODE_RIGHT_NOT,
                         nullptr, nullptr);
  };
  auto bytes = [](const zornode *pnode) { return (zornodeRightValue(pnode) >> 8) & 0xFFFFFF; };

  struct {
    int16_t sCCSID;
    unsigned uChar1, uChar2, uClass;
    int iRc;
    uintptr_t ulExpected;   /* char 1 | char 2 << 8 | class << 16 */
  } aCases[] = {
      {1208, 0, 0, 0x80, 0, 0x000020},           /* no character: the blank of the string */
      {37, 0, 0, 0x80, 0, 0x000040},             /* ... in EBCDIC too */
      {1208, 0x82, 0, 1, 0, 0x00A9C3},           /* locale single-byte 850 to 1208 */
      {819, 0x00, 0xE9, 16, 0, 0x0000E9},        /* UTF-16 to 819 */
      {1208, 0x41, 0, 8, 0, 0x010041},           /* no code page: left alone */
      {1208, 0x41, 0, 3, 8, 0x010041},           /* unknown class */
  };
  for (const auto &c : aCases) {
    SCOPED_TRACE(c.uClass);
    zornode *pnode = strip(c.sCCSID, c.uChar1, c.uChar2, c.uClass);
    EXPECT_EQ(_zornodeConvertStripLit(pnode), c.iRc);
    EXPECT_EQ(bytes(pnode), c.ulExpected);
    zornodeDestroy(pnode);
  }

  /* a character the string's code page cannot hold in two bytes */
  zornode *pnode = strip(1208, 0xC4, 0, 1);   /* box drawing: three bytes in UTF-8 */
  std::vector<std::string> vMessages = zavtestMessages([&] { EXPECT_NE(_zornodeConvertStripLit(pnode), 0); });
  ASSERT_EQ(vMessages.size(), 1u);
  EXPECT_EQ(vMessages[0], "ZORU008E THE STRIP CHARACTER OF A STRIP FUNCTION COULD NOT BE CONVERTED\n");
  EXPECT_EQ(bytes(pnode), 0x0000C4u);
  zornodeDestroy(pnode);
}

/* ------------------------------------------------------------- IN list set */

TEST_F(ZornodeCnvCodePages, LongInListsBecomeAValueSet)
{
  auto chain = [](std::vector<zornode *> v) {
    for (size_t i = 0; i + 1 < v.size(); i++) v[i]->pRight = v[i + 1];
    return v.front();
  };
  auto setOf = [](zornode *pnodeIn) { return reinterpret_cast<oname *>(zornodeRightValue(pnodeIn)); };

  /* INTEGER values, one of them twice */
  std::vector<zornode *> vInts;
  for (int32_t i : {5, 7, 9, 11, 5}) vInts.push_back(zornodeCreateInteger(i, nullptr, nullptr));
  zornode *pnodeIn = op(NODE_IN_OP, charColumn(0), chain(vInts));
  ASSERT_EQ(_zornodeBuildInListSet(pnodeIn), 0);
  EXPECT_EQ(pnodeIn->sCode, NODE_IN_OP_RANDOM);
  EXPECT_TRUE(pnodeIn->usStatus & NODE_RIGHT_NOT);
  EXPECT_EQ(onameGetCount(setOf(pnodeIn)), 4u);
  int32_t iSeven = 7, iEight = 8;
  EXPECT_NE(onameGetFixed(setOf(pnodeIn), reinterpret_cast<const char *>(&iSeven), 4), nullptr);
  EXPECT_EQ(onameGetFixed(setOf(pnodeIn), reinterpret_cast<const char *>(&iEight), 4), nullptr);
  onameDestroy(setOf(pnodeIn));
  zornodeDestroy(pnodeIn);

  /* equal DECIMAL values of different scales, and a double, meet in one key */
  std::vector<zornode *> vDecimals = {decimalConstant("15", 1), decimalConstant("150", 2), doubleConstant(1.5),
                                      decimalConstant("-2", 0)};
  for (const char *pc : {"3", "4", "5", "6", "7", "8", "9"}) vDecimals.push_back(decimalConstant(pc, 0));
  pnodeIn = op(NODE_IN_OP, charColumn(0), chain(vDecimals));
  ASSERT_EQ(_zornodeBuildInListSet(pnodeIn), 0);
  ASSERT_EQ(pnodeIn->sCode, NODE_IN_OP_RANDOM);
  EXPECT_EQ(onameGetCount(setOf(pnodeIn)), 9u);
  onameDestroy(setOf(pnodeIn));
  zornodeDestroy(pnodeIn);

  /* character values without their trailing blanks */
  pnodeIn = op(NODE_IN_OP, charColumn(850),
               chain({textConstant("ab  ", 850), textConstant("ab", 850), textConstant("cd", 850),
                      textConstant("ef", 850), textConstant("gh", 850)}));
  ASSERT_EQ(_zornodeBuildInListSet(pnodeIn), 0);
  EXPECT_EQ(onameGetCount(setOf(pnodeIn)), 4u);
  EXPECT_NE(onameGetFixed(setOf(pnodeIn), "ab", 2), nullptr);
  onameDestroy(setOf(pnodeIn));
  zornodeDestroy(pnodeIn);

  /* short lists stay lists; SMALLINT lists are refused */
  pnodeIn = op(NODE_IN_OP, charColumn(0), chain({zornodeCreateInteger(1, nullptr, nullptr)}));
  EXPECT_EQ(_zornodeBuildInListSet(pnodeIn), 0);
  EXPECT_EQ(pnodeIn->sCode, NODE_IN_OP);
  zornodeDestroy(pnodeIn);
  std::vector<zornode *> vSmall;
  for (int16_t s = 0; s < 6; s++) vSmall.push_back(zornodeCreateSmallInt(s, nullptr, nullptr));
  pnodeIn = op(NODE_IN_OP, charColumn(0), chain(vSmall));
  EXPECT_EQ(_zornodeBuildInListSet(pnodeIn), ZORNODE_RC_BADLIST);
  EXPECT_EQ(pnodeIn->sCode, NODE_IN_OP);
  zornodeDestroy(pnodeIn);
}
