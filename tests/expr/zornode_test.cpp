/*
** zornode_test.cpp
**   Expression trees: constant layouts, CURRENT values, list chaining, default
**   values, deep copies (constants included), destruction of shared slots,
**   binding to record definitions, view substitution, depth and the dump.
**   Leaks and double frees are caught by the sanitizers.
*/
#include "expr/zornode.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "common/ochaine.h"
#include "common/ochar.h"
#include "common/olist.h"
#include "common/ostream.h"
#include "expr/zorcol.h"

namespace {

uint16_t u16(const void *p)
{
  uint16_t us;
  std::memcpy(&us, p, 2);
  return us;
}

ochar *name850(const char *pc)
{
  ochar *pchar = ocharCreate(0, 850);
  ocharAppendFixedS(pchar, pc, static_cast<int32_t>(std::strlen(pc)));
  return pchar;
}

/* A column node over a new named column with a DB2 column number. */
zornode *columnNode(const char *pcName, int iDb2Number)
{
  zorcol *pcol = zorcolCreate(name850(pcName), 0, nullptr, 0);
  pcol->iDb2Number = iDb2Number;
  return zornodeCreate(ZORNODE_VAR, NODE_CTUNK, pcol, nullptr, 0, nullptr, nullptr);
}

zornode *oper(int iCode, zornode *pleft, zornode *pright)
{
  return zornodeCreate(ZORNODE_OPRT, iCode, pleft, pright, 0, nullptr, nullptr);
}

/* IN list of constants chained through their right slots. */
zornode *inList(std::initializer_list<int> values)
{
  olist *plist = olistCreateRef(nullptr, nullptr);
  for (int i : values) olistAppendRef(plist, zornodeCreateInteger(i, nullptr, nullptr), 0);
  zornode *pfirst = zornodeCreateFromListRef(plist, 2);
  olistDestroy(plist);
  return pfirst;
}

zornodeEvalValue *dummyProc(zornodeEvalContext *, zornode *)
{
  return nullptr;
}

std::string printed(const zornode *pnode)
{
  char *pcBuf = nullptr;
  size_t ulSize = 0;
  FILE *pf = open_memstream(&pcBuf, &ulSize);
  zornodePrint(pnode, pf, 0);
  std::fclose(pf);
  std::string s(pcBuf, ulSize);
  std::free(pcBuf);
  return s;
}

}  // namespace

TEST(ZornodeConstants, NumericConstructorsLayTheirBuffersOut)
{
  ostreamLocation locA = {3, 7, 3, 9, 0}, locB = {4, 1, 5, 12, 0};
  zornode *pint = zornodeCreateInteger(-5, &locA, &locB);
  zornode *psmi = zornodeCreateSmallInt(-300, nullptr, nullptr);
  zornode *pbig = zornodeCreateBigint(0x89abcdefu, 0x01234567u, nullptr, nullptr);
  double dExpected = 2.5;
  uint64_t ullBits;
  std::memcpy(&ullBits, &dExpected, 8);
  zornode *pflt = zornodeCreateFloat(static_cast<uint32_t>(ullBits), static_cast<uint32_t>(ullBits >> 32), nullptr, nullptr);
  zornode *pnull = zornodeCreateNull(nullptr, nullptr);

  struct {
    zornode *pnode;
    int iCode;
    unsigned uCtrl;
    unsigned uLength;
  } cases[] = {{pint, 0, 0x4800, 4}, {psmi, 4, 0x4804, 2}, {pbig, 64, 0x4840, 8},
               {pflt, 8, 0x4808, 8}, {pnull, 63, 0x1002, 0}};
  for (const auto &c : cases) {
    ASSERT_NE(c.pnode, nullptr);
    EXPECT_EQ(c.pnode->sKind, ZORNODE_CSTE);
    EXPECT_EQ(c.pnode->sCode, c.iCode);
    EXPECT_EQ(c.pnode->usCtrlType, c.uCtrl);
    EXPECT_EQ(c.pnode->usLength, c.uLength);
    EXPECT_EQ(c.pnode->procEval, nullptr);
  }
  int32_t i;
  std::memcpy(&i, pint->pLeft, 4);
  EXPECT_EQ(i, -5);
  EXPECT_EQ(pint->sStartLine, 3);
  EXPECT_EQ(pint->sStartColumn, 7);
  EXPECT_EQ(pint->sEndLine, 5);
  EXPECT_EQ(pint->sEndColumn, 12);
  int16_t s;
  std::memcpy(&s, psmi->pLeft, 2);
  EXPECT_EQ(s, -300);
  int64_t ll;
  std::memcpy(&ll, pbig->pLeft, 8);
  EXPECT_EQ(ll, 0x0123456789abcdefLL);
  double d;
  std::memcpy(&d, pflt->pLeft, 8);
  EXPECT_EQ(d, 2.5);
  EXPECT_EQ(pnull->pLeft, nullptr);
  for (const auto &c : cases) zornodeDestroy(c.pnode);
}

TEST(ZornodeConstants, DecimalTakesItsBufferOver)
{
  unsigned char *pc = static_cast<unsigned char *>(std::calloc(1, ZORNODE_DECIMAL_SIZE));
  pc[0] = 7;
  pc[1] = 2;
  pc[17] = 0x5c;
  zornode *pnode = zornodeCreateDecimal(pc, nullptr, nullptr);
  ASSERT_NE(pnode, nullptr);
  EXPECT_EQ(pnode->pLeft, pc);
  EXPECT_EQ(pnode->sCode, NODE_CTDEC);
  EXPECT_EQ(pnode->usCtrlType, NODE_T_DEC);
  EXPECT_EQ(pnode->usLength, 0x0702);
  zornodeDestroy(pnode);   /* frees pc */
}

TEST(ZornodeConstants, LitteralCopiesCharacterAndGraphicStrings)
{
  /* single-byte, and a varchar object whose text follows its prefix */
  ochar *pcharChr = name850("ABC");
  static const unsigned char acVarchar[] = {2, 0, 'X', 'Y'};
  ochar *pcharVar = ocharCreateFromVarchar(acVarchar, 850, OCHAR_OWNED);
  /* double-byte: 3 characters, 6 bytes */
  ochar *pcharGra = ocharCreate(0, 1200);
  static const unsigned char acGra[] = {0, 'a', 0, 'b', 0, 'c'};
  ocharAppendFixedS(pcharGra, acGra, 6);
  pcharGra->ilL = 3;

  zornode *pchr = zornodeCreateLitteral(pcharChr, nullptr, nullptr);
  zornode *pvar = zornodeCreateLitteral(pcharVar, nullptr, nullptr);
  zornode *pgra = zornodeCreateLitteral(pcharGra, nullptr, nullptr);
  ASSERT_TRUE(pchr && pvar && pgra);

  EXPECT_EQ(pchr->sCode, NODE_CTCHR);
  EXPECT_EQ(pchr->usCtrlType, NODE_T_CHN);
  EXPECT_EQ(pchr->usLength, 3);
  EXPECT_EQ(u16(pchr->pLeft), 3);
  EXPECT_EQ(std::memcmp(static_cast<char *>(pchr->pLeft) + 2, "ABC", 3), 0);
  EXPECT_EQ(pchr->sCCSID, 850);
  EXPECT_EQ(pchr->usStatus, OCHAR_SBCS);
  EXPECT_EQ(pchr->usPadChar, 0x20);

  EXPECT_EQ(u16(pvar->pLeft), 2);
  EXPECT_EQ(std::memcmp(static_cast<char *>(pvar->pLeft) + 2, "XY", 2), 0);

  EXPECT_EQ(pgra->sCode, NODE_CTGRA);
  EXPECT_EQ(pgra->usCtrlType, NODE_T_GRA);
  EXPECT_EQ(pgra->usLength, 3);
  EXPECT_EQ(u16(pgra->pLeft), 3);
  EXPECT_EQ(std::memcmp(static_cast<char *>(pgra->pLeft) + 2, acGra, 6), 0);
  EXPECT_EQ(pgra->usStatus, OCHAR_DBCS);

  /* the strings stay the caller's */
  ocharDestroy(pcharChr);
  ocharDestroy(pcharVar);
  ocharDestroy(pcharGra);
  zornodeDestroy(pchr);
  zornodeDestroy(pvar);
  zornodeDestroy(pgra);
}

TEST(ZornodeConstants, CurrentValuesArePackedLocalTime)
{
  struct {
    int iCode;
    int iOperator;
    unsigned uCtrl;
    unsigned uLength;
  } cases[] = {{32, NODE_DTE_OP, 0x4220, 4}, {36, NODE_TME_OP, 0x4224, 3}, {40, NODE_TST_OP, 0x4228, 10}};
  auto bcd = [](int v) { return static_cast<unsigned char>((v / 10) * 16 + v % 10); };
  for (const auto &c : cases) {
    for (int iTry = 0; iTry < 3; ++iTry) {
      time_t t0 = std::time(nullptr);
      zornode *pnode = zornodeCreateCurrent(c.iCode);
      time_t t1 = std::time(nullptr);
      ASSERT_NE(pnode, nullptr);
      if (t0 != t1) {   /* a second passed: the value may be either; try again */
        zornodeDestroy(pnode);
        continue;
      }
      struct tm tm;
      localtime_r(&t0, &tm);
      int iYear = tm.tm_year + 1900;
      unsigned char acAll[10] = {bcd(iYear / 100), bcd(iYear % 100), bcd(tm.tm_mon + 1), bcd(tm.tm_mday),
                                 bcd(tm.tm_hour), bcd(tm.tm_min), bcd(tm.tm_sec), 0, 0, 0};
      EXPECT_EQ(pnode->sKind, ZORNODE_OPRT);
      EXPECT_EQ(pnode->sCode, c.iOperator);
      EXPECT_EQ(pnode->pRight, nullptr);
      const zornode *pcste = static_cast<const zornode *>(pnode->pLeft);
      ASSERT_NE(pcste, nullptr);
      EXPECT_EQ(pcste->sKind, ZORNODE_CSTE);
      EXPECT_EQ(pcste->sCode, c.iCode);
      EXPECT_EQ(pcste->usCtrlType, c.uCtrl);
      EXPECT_EQ(pcste->usLength, c.uLength);
      const unsigned char *pc = static_cast<const unsigned char *>(pcste->pLeft);
      EXPECT_EQ(u16(pc), c.uLength);
      const unsigned char *pcExpected = c.iCode == 36 ? acAll + 4 : acAll;
      EXPECT_EQ(std::memcmp(pc + 2, pcExpected, c.uLength), 0) << "code " << c.iCode;
      zornodeDestroy(pnode);
      break;
    }
  }
  EXPECT_EQ(zornodeCreateCurrent(44), nullptr);
}

TEST(ZornodeConstants, DefaultValuesPerColumnType)
{
  struct {
    int iType;
    int32_t ilLength;
    int iCode;
    unsigned uCtrl;
    unsigned uNodeLength;
    std::string value;   /* expected buffer bytes */
  } cases[] = {
      {1, 2, 0, 0x2800, 4, std::string(4, '\0')},
      {2, 4, 0, 0x2800, 4, std::string(4, '\0')},
      {4, 8, 8, 0x2808, 8, std::string(8, '\0')},
      {5, 4, 8, 0x2808, 4, std::string(8, '\0')},
      {6, 8, 64, 0x2840, 8, std::string(8, '\0')},
      {7, 3, 16, 0x2410, 3, std::string("\x03\x00   ", 5)},
      {8, 10, 20, 0x2514, 0, std::string(12, '\0')},
      {10, 4, 32, 0x4220, 4, std::string("\x04\x00\x00\x01\x01\x01", 6)},
      {11, 3, 36, 0x2224, 3, std::string("\x03\x00\x00\x00\x00", 5)},
      {12, 10, 40, 0x2228, 10, std::string("\x0a\x00\x00\x01\x01\x01\x00\x00\x00\x00\x00\x00", 12)},
      {13, 2, 24, 0x2418, 2, std::string("\x02\x00    ", 6)},
      {14, 5, 28, 0x251c, 0, std::string(12, '\0')},
  };
  for (const auto &c : cases) {
    zornode *pnode = zornodeCreateDefaultValue(c.iType, c.ilLength);
    ASSERT_NE(pnode, nullptr) << "type " << c.iType;
    EXPECT_EQ(pnode->sCode, c.iCode) << "type " << c.iType;
    EXPECT_EQ(pnode->usCtrlType, c.uCtrl) << "type " << c.iType;
    EXPECT_EQ(pnode->usLength, c.uNodeLength) << "type " << c.iType;
    EXPECT_EQ(std::string(static_cast<const char *>(pnode->pLeft), c.value.size()), c.value) << "type " << c.iType;
    if (c.iType == 7 || c.iType == 8 || c.iType == 13 || c.iType == 14) {
      EXPECT_EQ(pnode->sCCSID, 850);
    }
    zornodeDestroy(pnode);
  }
  /* DECIMAL(7,2): precision, scale, then a positive zero */
  zornode *pdec = zornodeCreateDefaultValue(3, 0x0702);
  ASSERT_NE(pdec, nullptr);
  const unsigned char *pc = static_cast<const unsigned char *>(pdec->pLeft);
  EXPECT_EQ(pdec->sCode, 12);
  EXPECT_EQ(pdec->usCtrlType, 0x280c);
  EXPECT_EQ(pdec->usLength, 0x0702);
  EXPECT_EQ(pc[0], 7);
  EXPECT_EQ(pc[1], 2);
  for (int i = 2; i < 17; ++i) EXPECT_EQ(pc[i], 0);
  EXPECT_EQ(pc[17] & 0xF0, 0);
  zornodeDestroy(pdec);
  for (int iType : {0, 9, 15, 16, 19, 47}) EXPECT_EQ(zornodeCreateDefaultValue(iType, 4), nullptr) << iType;
}

TEST(ZornodeConstants, ListRefChainsThroughRightOrLeft)
{
  zornode *pfirst = inList({1, 2, 3});
  ASSERT_NE(pfirst, nullptr);
  int32_t i;
  const zornode *p = pfirst;
  for (int iExpected = 1; iExpected <= 3; ++iExpected, p = static_cast<const zornode *>(p->pRight)) {
    ASSERT_NE(p, nullptr);
    std::memcpy(&i, p->pLeft, 4);
    EXPECT_EQ(i, iExpected);
  }
  EXPECT_EQ(p, nullptr);
  zornodeDestroy(pfirst);   /* the constants own their successors */

  olist *plist = olistCreateRef(nullptr, nullptr);
  zornode *pa = oper(NODE_CONT_VAL_OP, nullptr, nullptr), *pb = oper(NODE_CONT_VAL_OP, nullptr, nullptr);
  olistAppendRef(plist, pa, 0);
  olistAppendRef(plist, pb, 0);
  EXPECT_EQ(zornodeCreateFromListRef(plist, 1), pa);
  EXPECT_EQ(pa->pLeft, pb);
  EXPECT_EQ(pa->pRight, nullptr);
  olistDestroy(plist);
  zornodeDestroy(pa);

  olist *pempty = olistCreateRef(nullptr, nullptr);
  EXPECT_EQ(zornodeCreateFromListRef(pempty, 2), nullptr);
  olistDestroy(pempty);
  EXPECT_EQ(zornodeCreateFromListRef(nullptr, 2), nullptr);
}

TEST(ZornodeCopy, CloneOwnsItsConstantBuffers)
{
  /* a = 5 AND b IN (1, 2, 3) */
  zornode *ptree = oper(NODE_AND_OP, oper(NODE_EQU_OP, columnNode("A", 1), zornodeCreateInteger(5, nullptr, nullptr)),
                        oper(NODE_IN_OP, columnNode("B", 2), inList({1, 2, 3})));
  ptree->procEval = dummyProc;
  zornode *pcopy = zornodeClone(ptree);
  ASSERT_NE(pcopy, nullptr);
  EXPECT_EQ(pcopy->procEval, nullptr);

  zornode *peq = static_cast<zornode *>(ptree->pLeft), *peqCopy = static_cast<zornode *>(pcopy->pLeft);
  zornode *pfive = static_cast<zornode *>(peq->pRight), *pfiveCopy = static_cast<zornode *>(peqCopy->pRight);
  EXPECT_NE(pfiveCopy->pLeft, pfive->pLeft);
  EXPECT_EQ(pfiveCopy->usStatus & (NODE_LEFT_NOT | NODE_RIGHT_NOT), 0);

  /* rewriting the copy's constant (as the check does) leaves the source alone */
  int32_t iNew = 99, i;
  std::memcpy(pfiveCopy->pLeft, &iNew, 4);
  std::memcpy(&i, pfive->pLeft, 4);
  EXPECT_EQ(i, 5);

  /* the IN list is copied element by element */
  const zornode *pin = static_cast<const zornode *>(ptree->pRight);
  const zornode *pinCopy = static_cast<const zornode *>(pcopy->pRight);
  const zornode *pl = static_cast<const zornode *>(pin->pRight), *plCopy = static_cast<const zornode *>(pinCopy->pRight);
  int iCount = 0;
  for (; pl != nullptr && plCopy != nullptr; pl = static_cast<const zornode *>(pl->pRight),
                                             plCopy = static_cast<const zornode *>(plCopy->pRight), ++iCount) {
    EXPECT_NE(pl, plCopy);
    EXPECT_NE(pl->pLeft, plCopy->pLeft);
  }
  EXPECT_EQ(iCount, 3);
  EXPECT_EQ(plCopy, nullptr);

  /* columns are copied, with their names */
  const zorcol *pcol = static_cast<const zorcol *>(static_cast<zornode *>(peq->pLeft)->pLeft);
  const zorcol *pcolCopy = static_cast<const zorcol *>(static_cast<zornode *>(peqCopy->pLeft)->pLeft);
  EXPECT_NE(pcol, pcolCopy);
  EXPECT_EQ(ocharCompare(pcol->pcharName, pcolCopy->pcharName, ' '), 0);

  /* each tree lives on after the other is gone */
  zornodeDestroy(ptree);
  std::memcpy(&i, pfiveCopy->pLeft, 4);
  EXPECT_EQ(i, 99);
  zornodeDestroy(pcopy);
}

TEST(ZornodeCopy, CloneSharesSlotsTheSourceDoesNotOwn)
{
  /* DECIMAL(x, 7, 2): the right slot holds a value */
  zornode *pdec = oper(NODE_DEC_OP, columnNode("X", 3), nullptr);
  pdec->usStatus |= NODE_RIGHT_NOT;
  zornodeSetRightValue(pdec, 0x0702);
  /* a constant whose buffer belongs to someone else */
  static int32_t iShared = 42;
  zornode *pshared = zornodeCreate(ZORNODE_CSTE, NODE_CTINT, &iShared, nullptr, NODE_LEFT_NOT, nullptr, nullptr);
  zornode *ptree = oper(NODE_PLS_OP, pdec, pshared);

  zornode *pcopy = zornodeClone(ptree);
  ASSERT_NE(pcopy, nullptr);
  const zornode *pdecCopy = static_cast<const zornode *>(pcopy->pLeft);
  EXPECT_EQ(zornodeRightValue(pdecCopy), 0x0702u);
  EXPECT_TRUE(pdecCopy->usStatus & NODE_RIGHT_NOT);
  const zornode *psharedCopy = static_cast<const zornode *>(pcopy->pRight);
  EXPECT_EQ(psharedCopy->pLeft, &iShared);
  EXPECT_TRUE(psharedCopy->usStatus & NODE_LEFT_NOT);

  /* a column node's copy gets a column without that column's own expression */
  zornode *pinner = columnNode("INNER", 4);
  zornode *pouter = columnNode("OUTER", 5);
  static_cast<zorcol *>(pouter->pLeft)->pnodeExpr = pinner;
  zornode *pouterCopy = zornodeClone(pouter);
  ASSERT_NE(pouterCopy, nullptr);
  EXPECT_EQ(static_cast<zorcol *>(pouterCopy->pLeft)->pnodeExpr, nullptr);
  EXPECT_EQ(static_cast<zorcol *>(pouter->pLeft)->pnodeExpr, pinner);   /* put back */

  zornodeDestroy(pcopy);
  zornodeDestroy(ptree);   /* neither frees iShared */
  zornodeDestroy(pouterCopy);
  zornodeDestroy(pouter);
  EXPECT_EQ(zornodeClone(nullptr), nullptr);
}

TEST(ZornodeBinding, ColumnsAreBoundOnceToTheirDefinitions)
{
  /* col2 > 0 OR NOT (col5 = col2) */
  zornode *ptree = oper(NODE_OR_OP, oper(NODE_SUP_OP, columnNode("C2", 2), zornodeCreateInteger(0, nullptr, nullptr)),
                        oper(NODE_NOT_OP, oper(NODE_EQU_OP, columnNode("C5", 5), columnNode("C2", 2)), nullptr));
  int aiDefs[6];   /* stand-ins for the run step's definitions */
  rowColDef *apdef[6];
  for (int i = 0; i < 6; ++i) apdef[i] = reinterpret_cast<rowColDef *>(&aiDefs[i]);

  ASSERT_EQ(zornodeSubstituteVar(ptree, apdef), 0);
  const zornode *psup = static_cast<const zornode *>(ptree->pLeft);
  const zornode *peq = static_cast<const zornode *>(static_cast<const zornode *>(ptree->pRight)->pLeft);
  const zornode *pc2 = static_cast<const zornode *>(psup->pLeft);
  const zornode *pc5 = static_cast<const zornode *>(peq->pLeft);
  const zornode *pc2b = static_cast<const zornode *>(peq->pRight);
  EXPECT_EQ(pc2->pLeft, apdef[2]);
  EXPECT_EQ(pc5->pLeft, apdef[5]);
  EXPECT_EQ(pc2b->pLeft, apdef[2]);
  EXPECT_TRUE(pc2->usStatus & NODE_SUBS);

  /* a second binding changes nothing, even with other definitions */
  rowColDef *apdefOther[6] = {};
  ASSERT_EQ(zornodeSubstituteVar(ptree, apdefOther), 0);
  EXPECT_EQ(pc5->pLeft, apdef[5]);

  /* the bound columns, left before right */
  olist *plist = olistCreateRef(nullptr, nullptr);
  ASSERT_EQ(zornodeGetExpressionColumns(plist, ptree), 0);
  ASSERT_EQ(plist->iItemCount, 3);
  const olistRef *pref = static_cast<const olistRef *>(plist->pitemTop);
  EXPECT_EQ(pref->pData, apdef[2]);
  pref = static_cast<const olistRef *>(pref->pitemNext);
  EXPECT_EQ(pref->pData, apdef[5]);
  pref = static_cast<const olistRef *>(pref->pitemNext);
  EXPECT_EQ(pref->pData, apdef[2]);
  olistDestroy(plist);

  /* a copy of a bound tree shares the definitions; destroying trees leaves them alone */
  zornode *pcopy = zornodeClone(ptree);
  EXPECT_EQ(static_cast<const zornode *>(static_cast<const zornode *>(pcopy->pLeft)->pLeft)->pLeft, apdef[2]);
  zornodeDestroy(pcopy);
  zornodeDestroy(ptree);
}

TEST(ZornodeBinding, UnknownKindsAreRefused)
{
  zornode *pbad = zornodeCreate(7, 0, nullptr, nullptr, 0, nullptr, nullptr);
  rowColDef *apdef[1] = {};
  EXPECT_EQ(zornodeSubstituteVar(pbad, apdef), ZORNODE_RC_BADKIND);
  EXPECT_EQ(zornodeGetExpressionColumns(nullptr, pbad), ZORNODE_RC_BADKIND);
  olist *plist = olistCreateRef(nullptr, nullptr);
  EXPECT_EQ(zornodeSubstituteView(pbad, plist), ZORNODE_RC_BADKIND);
  olistDestroy(plist);
  EXPECT_EQ(zornodeSubstituteVar(nullptr, apdef), 0);
  zornodeDestroy(pbad);
}

TEST(ZornodeWalks, DepthCountsEvaluatedLevels)
{
  /* OR(col = 1, col IN (1, 2, 3)) from 0 is 3 */
  zornode *ptree = oper(NODE_OR_OP, oper(NODE_EQU_OP, columnNode("A", 1), zornodeCreateInteger(1, nullptr, nullptr)),
                        oper(NODE_IN_OP, columnNode("B", 2), inList({1, 2, 3})));
  EXPECT_EQ(zornodeGetTreeDepth(ptree, 0), 3);
  EXPECT_EQ(zornodeGetTreeDepth(ptree, 2), 5);
  zornodeDestroy(ptree);

  struct {
    zornode *ptree;
    int iDepth;
  } cases[] = {
      {nullptr, 0},
      {zornodeCreateInteger(1, nullptr, nullptr), 1},
      {columnNode("A", 1), 1},
      /* one-operand operators look only left */
      {oper(NODE_NOT_OP, oper(NODE_EQU_OP, columnNode("A", 1), columnNode("B", 2)), nullptr), 3},
      {oper(NODE_LIKE_OP, columnNode("A", 1), oper(NODE_LIKE_ESC_OP, columnNode("P", 2), columnNode("E", 3))), 2},
      /* operators outside both groups are not descended */
      {oper(NODE_IN_OP_RANDOM, oper(NODE_NOT_OP, columnNode("A", 1), nullptr), nullptr), 1},
      /* a right slot holding a value is not an operand */
      {zornodeCreate(ZORNODE_OPRT, NODE_TRUNC_OP, columnNode("A", 1), reinterpret_cast<void *>(0x12), NODE_RIGHT_NOT, nullptr, nullptr), 2},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(zornodeGetTreeDepth(c.ptree, 0), c.iDepth);
    zornodeDestroy(c.ptree);
  }
}

TEST(ZornodeView, ColumnsOfTheViewAreReplacedByTheirDefinitions)
{
  /* view columns V1, V2 stand for the definition columns A and PRICE * 2 */
  ochaine *pview = ochaineCreate(sizeof(zorcol), nullptr, zorcolDestroyChaineItem);
  ochaine *pselect = ochaineCreate(sizeof(zorcol), nullptr, zorcolDestroyChaineItem);
  ochaineAppend(pview, zorcolCreate(name850("V1"), 1, nullptr, ZORCOL_VAR));
  ochaineAppend(pview, zorcolCreate(name850("V2"), 2, nullptr, ZORCOL_VAR));
  ochaineAppend(pselect, zorcolCreate(name850("A"), 1, columnNode("A", 1), 0));
  ochaineAppend(pselect, zorcolCreate(name850("P2"), 2, oper(NODE_MLT_OP, columnNode("PRICE", 3),
                                                               zornodeCreateInteger(2, nullptr, nullptr)), ZORCOL_OPRT));
  int rc = -1;
  olist *plist = zorcolBuildMatchList(pview, pselect, &rc);
  ASSERT_NE(plist, nullptr);
  ASSERT_EQ(rc, 0);

  /* V2 > 5 AND V1 = 1 */
  zornode *ptree = oper(NODE_AND_OP, oper(NODE_SUP_OP, columnNode("V2  ", 0), zornodeCreateInteger(5, nullptr, nullptr)),
                        oper(NODE_EQU_OP, columnNode("V1", 0), zornodeCreateInteger(1, nullptr, nullptr)));
  ASSERT_EQ(zornodeSubstituteView(ptree, plist), 0);
  const zornode *pv2 = static_cast<const zornode *>(static_cast<const zornode *>(ptree->pLeft)->pLeft);
  const zorcol *pcol = static_cast<const zorcol *>(pv2->pLeft);
  ASSERT_NE(pcol->pnodeExpr, nullptr);
  EXPECT_EQ(pcol->pnodeExpr->sCode, NODE_MLT_OP);
  EXPECT_EQ(std::string(_charText(pcol->pcharName), pcol->pcharName->ilBU), "P2");
  const zornode *pv1 = static_cast<const zornode *>(static_cast<const zornode *>(ptree->pRight)->pLeft);
  EXPECT_EQ(std::string(_charText(static_cast<const zorcol *>(pv1->pLeft)->pcharName), 1), "A");

  /* a name in no pair; the right operand is not visited after a failure */
  zornode *pbad = oper(NODE_EQU_OP, columnNode("NOPE", 0), columnNode("V1", 0));
  EXPECT_EQ(zornodeSubstituteView(pbad, plist), ZORNODE_RC_NOMATCH);
  const zorcol *pright = static_cast<const zorcol *>(static_cast<const zornode *>(pbad->pRight)->pLeft);
  EXPECT_EQ(std::string(_charText(pright->pcharName), 2), "V1");
  EXPECT_EQ(zornodeSubstituteView(pbad, nullptr), 0);
  EXPECT_EQ(zornodeSubstituteView(nullptr, plist), 0);

  zornodeDestroy(pbad);
  zornodeDestroy(ptree);
  olistDestroy(plist);
  ochaineDestroy(pview);
  ochaineDestroy(pselect);
}

TEST(ZornodeCase, CompleteCaseFillsMissingResults)
{
  zorcol *pcol = zorcolCreate(name850("C"), 1, columnNode("C", 1), 0);
  pcol->iType = 7;
  pcol->iSubType = 4;
  /* CASE WHEN x THEN <none> ELSE CASE WHEN y THEN 1 ELSE <none> END END */
  zornode *pinner = oper(NODE_IF_OP, columnNode("Y", 2), oper(NODE_CONT_IF_OP, zornodeCreateInteger(1, nullptr, nullptr), nullptr));
  zornode *pouter = oper(NODE_IF_OP, columnNode("X", 3), oper(NODE_CONT_IF_OP, nullptr, pinner));
  ASSERT_EQ(zornodeCompleteCaseNode(pouter, pcol), 0);
  const zornode *pthen = static_cast<const zornode *>(static_cast<const zornode *>(pouter->pRight)->pLeft);
  ASSERT_NE(pthen, nullptr);
  EXPECT_EQ(pthen->sCode, NODE_CTCHR);
  EXPECT_EQ(pthen->usLength, 4);
  const zornode *pelse = static_cast<const zornode *>(static_cast<const zornode *>(pinner->pRight)->pRight);
  ASSERT_NE(pelse, nullptr);
  EXPECT_EQ(pelse->sKind, ZORNODE_VAR);
  EXPECT_NE(pelse, pcol->pnodeExpr);

  zornode *pbroken = oper(NODE_IF_OP, columnNode("X", 3), nullptr);
  EXPECT_EQ(zornodeCompleteCaseNode(pbroken, pcol), ZORNODE_RC_NOCONTIF);
  zornode *pnotIf = oper(NODE_OR_OP, nullptr, nullptr);
  EXPECT_EQ(zornodeCompleteCaseNode(pnotIf, pcol), 0);
  EXPECT_EQ(zornodeCompleteCaseNode(nullptr, pcol), 0);

  /* CASE WHEN c IS NULL THEN 'N' ELSE 'Y' END over a copy of the expression */
  ochar *pcharY = name850("Y"), *pcharN = name850("N");
  zornode *pind = zornodeCreateNullIndicator(pcol, pcharY, pcharN);
  ASSERT_NE(pind, nullptr);
  EXPECT_EQ(pind->sCode, NODE_IF_OP);
  const zornode *pis = static_cast<const zornode *>(pind->pLeft);
  EXPECT_EQ(pis->sCode, NODE_IS_OP);
  EXPECT_NE(pis->pLeft, pcol->pnodeExpr);
  EXPECT_EQ(pis->pRight, nullptr);
  const zornode *pcont = static_cast<const zornode *>(pind->pRight);
  EXPECT_EQ(pcont->sCode, NODE_CONT_IF_OP);
  EXPECT_EQ(static_cast<const char *>(static_cast<const zornode *>(pcont->pLeft)->pLeft)[2], 'N');
  EXPECT_EQ(static_cast<const char *>(static_cast<const zornode *>(pcont->pRight)->pLeft)[2], 'Y');

  ocharDestroy(pcharY);
  ocharDestroy(pcharN);
  zornodeDestroy(pind);
  zornodeDestroy(pouter);
  zornodeDestroy(pbroken);
  zornodeDestroy(pnotIf);
  zorcolDestroy(pcol);
}

TEST(ZornodePrint, DumpShowsKindsStatusAndOperands)
{
  zornode *pdec = oper(NODE_DEC_OP, zornodeCreateInteger(7, nullptr, nullptr), nullptr);
  pdec->usStatus = NODE_RIGHT_NOT | NODE_NULLABLE;
  zornodeSetRightValue(pdec, 0x0702);
  zornode *ptree = oper(NODE_EQU_OP, columnNode("AMOUNT", 1), pdec);
  ptree->usCtrlType = NODE_T_BOOL;
  std::string s = printed(ptree);
  EXPECT_NE(s.find("000  ZORNODE node "), std::string::npos);
  EXPECT_NE(s.find("    ZORNODE OPRT :\t000c/NODE_EQU_OP\n"), std::string::npos);
  EXPECT_NE(s.find("    Ctrl Type    :\t1001/NODE_T_BOOL\n"), std::string::npos);
  EXPECT_NE(s.find("+ -> Node Left :  001  ZORNODE node "), std::string::npos);
  EXPECT_NE(s.find("    ZORNODE VAR  :\tFFF8/NODE_CTUNK\n"), std::string::npos);
  EXPECT_NE(s.find("     ZORCOL:Numero 0\n"), std::string::npos);
  EXPECT_NE(s.find("- <- Node Left :  000\n"), std::string::npos);
  EXPECT_NE(s.find("    ZORNODE OPRT :\t004c/NODE_DEC_OP\n"), std::string::npos);
  EXPECT_NE(s.find("    Status      :\t0402/RIGHT_NOT NULLABLE \n"), std::string::npos);
  EXPECT_NE(s.find("= -> RigthValue: 00000702\n"), std::string::npos);
  EXPECT_NE(s.find("    ZORNODE Constante:\t0000/NODE_CTINT\n"), std::string::npos);
  EXPECT_NE(s.find("    Ctrl Type        :\t4800/NODE_T_INT , CCSID 0\n"), std::string::npos);
  EXPECT_NE(s.find("   Integer:7\n"), std::string::npos);
  zornodeDestroy(ptree);

  /* a bound column prints its definition's address */
  zornode *pcol = columnNode("B", 0);
  int iDef = 0;
  rowColDef *apdef[1] = {reinterpret_cast<rowColDef *>(&iDef)};
  zornodeSubstituteVar(pcol, apdef);
  EXPECT_NE(printed(pcol).find("    ECT : "), std::string::npos);
  EXPECT_NE(printed(pcol).find("SUBS "), std::string::npos);
  zornodeDestroy(pcol);
  zornodePrint(nullptr, nullptr, 0);
}

TEST(ZornodeVocabulary, NamesAndTexts)
{
  EXPECT_STREQ(zornodeGetTypeName(NODE_CTUNK), "NODE_CTUNK");
  EXPECT_STREQ(zornodeGetTypeName(NODE_ROWID), "NODE_ROWID");
  EXPECT_STREQ(zornodeGetTypeName(64), "Unknown");
  EXPECT_STREQ(zornodeGetOperatorName(NODE_CONT_DUREE_OP), "NODE_CONT_DUREE_OP");
  EXPECT_STREQ(zornodeGetOperatorName(NODE_DIFFTEMPS_OP), "NODE_DIFFTEMPS_OP");
  EXPECT_STREQ(zornodeGetOperatorName(NODE_IN_OP_RANDOM), "NODE_IN_OP_RANDOM");
  EXPECT_STREQ(zornodeGetOperatorName(0x100), "Unknown");
  EXPECT_STREQ(zornodeGetOperatorText(NODE_IEG_OP), "<=");
  EXPECT_STREQ(zornodeGetOperatorText(NODE_MNSECONDS_OP), "MIDNIGTHSECONDS()");
  EXPECT_STREQ(zornodeGetOperatorText(NODE_DIFFTEMPS_OP), "DIFFTEMPS");
  EXPECT_STREQ(zornodeGetCtrlTypeName(0x2840), "Unknown");
  EXPECT_STREQ(zornodeGetCtrlTypeName(NODE_T_VVGR), "NODE_T_VVGR");
}
