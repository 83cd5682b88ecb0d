/*
** zornodeeval_test.cpp
**   WHERE evaluation: trees built with the zornode constructors, bound to
**   procedures through the procedure dictionary as the check binds them,
**   their column nodes bound to rowColDef entries over hand-made unload
**   records, evaluated with zornodeEvalBool.
*/
#include "expr/zornodeeval.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "common/obyte.h"
#include "common/odict.h"
#include "expr/zornodedur.h"
#include "model/orow.h"
#include "tests/zavtest.h"

namespace {

/* ------------------------------------------------------------ tree helpers */

/* Binds a tree the way the check does: leaves to the loads, operators by dictionary. */
void bindTree(zornode *pnode)
{
  if (pnode == nullptr) return;
  if (pnode->sKind == ZORNODE_CSTE) {
    pnode->procEval = _zornodeEvalProc_LoadCste;
    return;
  }
  if (pnode->sKind == ZORNODE_VAR) {
    pnode->procEval = _zornodeEvalProc_LoadVar;
    return;
  }
  zornode *pleft = static_cast<zornode *>(pnode->pLeft);
  zornode *pright = (pnode->usStatus & NODE_RIGHT_NOT) ? nullptr : static_cast<zornode *>(pnode->pRight);
  bindTree(pright);
  bindTree(pleft);
  unsigned uLeft = pleft != nullptr ? (pleft->usCtrlType & 0xFF) : 0xFF;
  void *pproc = nullptr;
  if (pright != nullptr)
    pproc = odictLoad(gpdictNodeProc, zornodeEvalProcKey(pnode->sCode, uLeft, pright->usCtrlType & 0xFF));
  if (pproc == nullptr) pproc = odictLoad(gpdictNodeProc, zornodeEvalProcKey(pnode->sCode, uLeft, 0xFF));
  if (pproc == nullptr) pproc = odictLoad(gpdictNodeProc, zornodeEvalProcKey(pnode->sCode, 0xFF, 0xFF));
  ASSERT_NE(pproc, nullptr) << "no procedure for operator " << pnode->sCode;
  pnode->procEval = reinterpret_cast<zornodeEvalProc>(pproc);
}

zornode *I(int32_t i) { return zornodeCreateInteger(i, nullptr, nullptr); }

zornode *BG(int64_t ll)
{
  uint64_t u = static_cast<uint64_t>(ll);
  return zornodeCreateBigint(static_cast<uint32_t>(u), static_cast<uint32_t>(u >> 32), nullptr, nullptr);
}

zornode *D(double d)
{
  uint64_t u;
  std::memcpy(&u, &d, 8);
  return zornodeCreateFloat(static_cast<uint32_t>(u), static_cast<uint32_t>(u >> 32), nullptr, nullptr);
}

/* Packed BCD of a decimal text ("-12.50") as DECIMAL(p,s): p/2+1 bytes. */
std::vector<unsigned char> packDecimal(const std::string &strText, int iPrec, int iScale)
{
  bool boNeg = !strText.empty() && strText[0] == '-';
  std::string strDigits = boNeg ? strText.substr(1) : strText;
  std::string strInt = strDigits, strFrac;
  size_t ulPoint = strDigits.find('.');
  if (ulPoint != std::string::npos) {
    strInt = strDigits.substr(0, ulPoint);
    strFrac = strDigits.substr(ulPoint + 1);
  }
  strInt.erase(0, strInt.find_first_not_of('0') == std::string::npos ? strInt.size() : strInt.find_first_not_of('0'));
  strFrac.resize(static_cast<size_t>(iScale), '0');
  std::string strAll = strInt + strFrac;
  int iNibbles = 2 * (iPrec / 2 + 1);
  std::string strNibbles(static_cast<size_t>(iNibbles - 1) - strAll.size(), '0');
  strNibbles += strAll;
  std::vector<unsigned char> v(static_cast<size_t>(iNibbles / 2));
  for (int i = 0; i < iNibbles - 1; i++) {
    unsigned uDigit = static_cast<unsigned>(strNibbles[static_cast<size_t>(i)] - '0');
    v[static_cast<size_t>(i / 2)] |= static_cast<unsigned char>(i % 2 == 0 ? uDigit << 4 : uDigit);
  }
  v.back() |= boNeg ? 0x0D : 0x0C;
  return v;
}

zornode *DC(const std::string &strText, int iPrec, int iScale)
{
  unsigned char *puc = static_cast<unsigned char *>(std::calloc(1, ZORNODE_DECIMAL_SIZE));
  puc[0] = static_cast<unsigned char>(iPrec);
  puc[1] = static_cast<unsigned char>(iScale);
  std::vector<unsigned char> v = packDecimal(strText, iPrec, iScale);
  std::memcpy(puc + ZORNODE_DECIMAL_SIZE - v.size(), v.data(), v.size());
  return zornodeCreateDecimal(puc, nullptr, nullptr);
}

/* A constant with buffer [u16 count][bytes], of the given code and control type. */
zornode *constBytes(int iCode, uint16_t usCtrlType, uint16_t usCount, const std::string &strBytes, uint16_t usPad)
{
  unsigned char *puc = static_cast<unsigned char *>(std::calloc(1, 2 + strBytes.size()));
  std::memcpy(puc, &usCount, 2);
  std::memcpy(puc + 2, strBytes.data(), strBytes.size());
  zornode *pnode = zornodeCreate(ZORNODE_CSTE, iCode, puc, nullptr, 0, nullptr, nullptr);
  pnode->usCtrlType = usCtrlType;
  pnode->usLength = usCount;
  pnode->usPadChar = usPad;
  return pnode;
}

zornode *S(const std::string &str) { return constBytes(NODE_CTCHR, NODE_T_CHN, static_cast<uint16_t>(str.size()), str, ' '); }

/* Graphic constant of big-endian UCS-2 units; pad: the blank's bytes 00 20 as kept in memory. */
uint16_t graphicPad()
{
  unsigned char auc[2] = {0x00, 0x20};
  uint16_t us;
  std::memcpy(&us, auc, 2);
  return us;
}
std::string ucs2(const std::u16string &str)
{
  std::string strOut;
  for (char16_t c : str) {
    strOut += static_cast<char>(c >> 8);
    strOut += static_cast<char>(c & 0xFF);
  }
  return strOut;
}
zornode *G(const std::u16string &str)
{
  return constBytes(NODE_CTGRA, NODE_T_GRA, static_cast<uint16_t>(str.size()), ucs2(str), graphicPad());
}

unsigned char bcd(int i) { return static_cast<unsigned char>((i / 10) << 4 | (i % 10)); }

/* DATE constant of y, m, d. */
zornode *DT(int iYear, int iMonth, int iDay)
{
  std::string str = {static_cast<char>(bcd(iYear / 100)), static_cast<char>(bcd(iYear % 100)),
                     static_cast<char>(bcd(iMonth)), static_cast<char>(bcd(iDay))};
  return constBytes(NODE_CTDTE, NODE_T_DTE, 4, str, 0);
}

zornode *NULLC() { return zornodeCreateNull(nullptr, nullptr); }

/* Operator node of the given control type; the pad character of its operands' blank. */
zornode *op(int iCode, zornode *pleft, zornode *pright, uint16_t usCtrlType, uint16_t usLength = 0)
{
  zornode *pnode = zornodeCreate(ZORNODE_OPRT, iCode, pleft, pright, 0, nullptr, nullptr);
  pnode->usCtrlType = usCtrlType;
  pnode->usLength = usLength;
  zornode *pchar = pleft != nullptr && (pleft->usCtrlType & NODE_T_CHAR) ? pleft : pright;
  pnode->usPadChar = pchar != nullptr && (pchar->usCtrlType & NODE_T_CHAR) ? pchar->usPadChar : ' ';
  return pnode;
}

zornode *cmp(int iCode, zornode *pleft, zornode *pright) { return op(iCode, pleft, pright, NODE_T_BOOL); }
zornode *AND(zornode *l, zornode *r) { return op(NODE_AND_OP, l, r, NODE_T_BOOL); }
zornode *OR(zornode *l, zornode *r) { return op(NODE_OR_OP, l, r, NODE_T_BOOL); }
zornode *NOT(zornode *l) { return op(NODE_NOT_OP, l, nullptr, NODE_T_BOOL); }
zornode *ISNULL(zornode *l) { return op(NODE_IS_OP, l, NULLC(), NODE_T_BOOL); }

/* Result control type of an arithmetic node by its operand types. */
uint16_t arithType(const zornode *pleft, const zornode *pright)
{
  unsigned l = pleft->usCtrlType & 0xFF, r = pright != nullptr ? pright->usCtrlType & 0xFF : l;
  if (l == NODE_CTFLT || r == NODE_CTFLT) return NODE_T_VFLT;
  if (l == NODE_CTDEC || r == NODE_CTDEC) return NODE_T_VDEC;
  if (l == NODE_CTBIG || r == NODE_CTBIG) return NODE_T_VBIG;
  return NODE_T_VINT;
}
zornode *arith(int iCode, zornode *l, zornode *r, uint16_t usLength = 0)
{
  return op(iCode, l, r, arithType(l, r), usLength);
}
zornode *NEG(zornode *l) { return op(NODE_MNSU_OP, l, nullptr, arithType(l, nullptr)); }
zornode *INTEGER(zornode *l) { return op(NODE_INT_OP, l, nullptr, NODE_T_VINT); }
zornode *REAL(zornode *l) { return op(NODE_REAL_OP, l, nullptr, NODE_T_VFLT); }

/* -------------------------------------------------------- record fixture */

/* Columns of the test table: record offset, null offset (-1 none), length, control type. */
struct TestColumn {
  int16_t sOffset;
  int16_t sNull;
  int32_t iLength;
  uint16_t usCtrlType;
  uint16_t usNodeLength;
};
enum {
  C_INT, C_SMALL, C_CHAR, C_VCHAR, C_DEC, C_DBL, C_BIG, C_DATE, C_TIME, C_TST, C_REAL, C_GRA, C_VGRA,
  C_ADDED, C_ADDEDN, C_COUNT
};
const TestColumn gaCols[C_COUNT] = {
    {0, 4, 4, NODE_T_VINT, 4},            /* INTEGER, nullable */
    {5, -1, 2, NODE_T_VINT, 2},           /* SMALLINT */
    {7, -1, 5, NODE_T_VCHR, 5},           /* CHAR(5) */
    {12, 16, 20, NODE_T_VVCH, 20},        /* VARCHAR(20), nullable */
    {17, -1, 5 << 8 | 2, NODE_T_VDEC, 5 << 8 | 2},  /* DECIMAL(5,2) */
    {20, 28, 8, NODE_T_VFLT, 8},          /* DOUBLE, nullable */
    {29, -1, 8, NODE_T_VBIG, 8},          /* BIGINT */
    {37, -1, 0, NODE_T_VDTE, 4},          /* DATE */
    {41, -1, 0, NODE_T_VTME, 3},          /* TIME */
    {44, -1, 0, NODE_T_VTST, 10},         /* TIMESTAMP */
    {54, -1, 4, NODE_T_VFLT, 4},          /* REAL */
    {58, -1, 3, NODE_T_VGRA, 3},          /* GRAPHIC(3) */
    {64, -1, 10, NODE_T_VVGR, 10},        /* VARGRAPHIC(10) */
    {68, -1, 4, NODE_T_VINT, 4},          /* INTEGER added later, not nullable */
    {72, 76, 4, NODE_T_VINT, 4},          /* INTEGER added later, nullable */
};
const int FIXED = 68;   /* fixed part of the records: the two added columns are absent */

class Eval : public ::testing::Test {
 protected:
  rowColDef adef[C_COUNT] = {};
  std::vector<unsigned char> rec;
  zornodeEvalContext *pctx = nullptr;

  void SetUp() override
  {
    ASSERT_EQ(zornodeEvalInitProcDict(), 0);
    for (int i = 0; i < C_COUNT; i++) {
      adef[i].iLength = gaCols[i].iLength;
      adef[i].sOffset = gaCols[i].sOffset;
      adef[i].sNullOffset = gaCols[i].sNull;
    }
    pctx = zornodeEvalCreate(4);
    ASSERT_NE(pctx, nullptr);
    resetRecord();
  }
  void TearDown() override
  {
    if (pctx != nullptr) {
      opoolDelete(&pctx->pool);
      std::free(pctx);
    }
  }

  /* A record whose values are all present and zero, CHAR blank, empty VARCHARs. */
  void resetRecord()
  {
    rec.assign(8 + FIXED, 0);
    rec[4] = 1;
    obytePutLE16(&rec[6], FIXED);
    std::memset(row() + gaCols[C_CHAR].sOffset, ' ', 5);
    setDate(C_DATE, 1, 1, 1);
    setDate(C_TST, 1, 1, 1);
    setGraphic(u"   ");
    setVar(C_VCHAR, "");
    setVar(C_VGRA, "", 0);
  }
  unsigned char *row() { return rec.data() + 8; }
  void setNull(int iCol) { row()[gaCols[iCol].sNull] = 1; }
  void setInt(int32_t i) { obytePutLE32(row() + gaCols[C_INT].sOffset, static_cast<uint32_t>(i)); }
  void setSmall(int16_t s) { obytePutLE16(row() + gaCols[C_SMALL].sOffset, static_cast<uint16_t>(s)); }
  void setChar(const std::string &str)
  {
    std::memset(row() + gaCols[C_CHAR].sOffset, ' ', 5);
    std::memcpy(row() + gaCols[C_CHAR].sOffset, str.data(), str.size());
  }
  /* Appends varying data and points the column's pair at it. */
  void setVar(int iCol, const std::string &strBytes, int iUnits = -1)
  {
    uint16_t usOffset = static_cast<uint16_t>(rec.size() - 8);
    rec.insert(rec.end(), strBytes.begin(), strBytes.end());
    obytePutLE16(row() + gaCols[iCol].sOffset, usOffset);
    obytePutLE16(row() + gaCols[iCol].sOffset + 2,
                 static_cast<uint16_t>(iUnits >= 0 ? iUnits : static_cast<int>(strBytes.size())));
  }
  void setDec(const std::string &str)
  {
    std::vector<unsigned char> v = packDecimal(str, 5, 2);
    std::memcpy(row() + gaCols[C_DEC].sOffset, v.data(), v.size());
  }
  void setDouble(double d)
  {
    uint64_t u;
    std::memcpy(&u, &d, 8);
    obytePutLE64(row() + gaCols[C_DBL].sOffset, u);
  }
  void setReal(float f)
  {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    obytePutLE32(row() + gaCols[C_REAL].sOffset, u);
  }
  void setBig(int64_t ll) { obytePutLE64(row() + gaCols[C_BIG].sOffset, static_cast<uint64_t>(ll)); }
  void setDate(int iCol, int iYear, int iMonth, int iDay)
  {
    unsigned char *puc = row() + gaCols[iCol].sOffset;
    puc[0] = bcd(iYear / 100);
    puc[1] = bcd(iYear % 100);
    puc[2] = bcd(iMonth);
    puc[3] = bcd(iDay);
  }
  void setTime(int iCol, int iHour, int iMinute, int iSecond)
  {
    unsigned char *puc = row() + gaCols[iCol].sOffset + (iCol == C_TST ? 4 : 0);
    puc[0] = bcd(iHour);
    puc[1] = bcd(iMinute);
    puc[2] = bcd(iSecond);
  }
  void setGraphic(const std::u16string &str)
  {
    std::string strBytes = ucs2(str);
    std::memcpy(row() + gaCols[C_GRA].sOffset, strBytes.data(), strBytes.size());
  }

  /* A column node bound to its definition. */
  zornode *C(int iCol)
  {
    zornode *pnode = zornodeCreate(ZORNODE_VAR, gaCols[iCol].usCtrlType & 0xFF, &adef[iCol], nullptr, NODE_SUBS,
                                   nullptr, nullptr);
    pnode->usCtrlType = gaCols[iCol].usCtrlType;
    pnode->usLength = gaCols[iCol].usNodeLength;
    pnode->usPadChar = (gaCols[iCol].usCtrlType & 0xFF) >= NODE_CTGRA ? graphicPad() : ' ';
    return pnode;
  }

  /* zornodeEvalBool over the current record; the tree is bound and destroyed. */
  int evalBool(zornode *pnode)
  {
    bindTree(pnode);
    zornodeEvalSetRecord(pctx, reinterpret_cast<const char *>(rec.data()), static_cast<int32_t>(rec.size()));
    int i = zornodeEvalBool(pctx, pnode);
    zornodeDestroy(pnode);
    return i;
  }

  /* 'T', 'F' or 'N' (NULL) for a condition, built twice (plain and under IS NULL). */
  char tri(const std::function<zornode *()> &fnBuild)
  {
    if (evalBool(ISNULL(fnBuild())) == 1) return 'N';
    return evalBool(fnBuild()) == 1 ? 'T' : 'F';
  }

  /* The messages a condition issues, and its result. */
  std::vector<std::string> evalMessages(zornode *pnode, int *piResult)
  {
    return zavtestMessages([&] { *piResult = evalBool(pnode); });
  }

  /* Runs an expression's procedure directly (no error expected) and copies its element. */
  zornodeEvalValue value(zornode *pnode)
  {
    bindTree(pnode);
    zornodeEvalSetRecord(pctx, reinterpret_cast<const char *>(rec.data()), static_cast<int32_t>(rec.size()));
    zornodeEvalValue *pval = pnode->procEval(pctx, pnode);
    zornodeEvalValue val = *pval;
    zornodeEvalGive(pctx, pval);
    zornodeDestroy(pnode);
    return val;
  }

  /* Free elements of the context. */
  int freeCount()
  {
    int i = 0;
    for (void *p = pctx->pool.pFree; p != nullptr; i++) std::memcpy(&p, p, sizeof p);
    return i;
  }
};

std::string reason365(int iCode)
{
  char ac[128];
  std::snprintf(ac, sizeof ac, "ZORU365W EVALUATION ERROR IN WHERE CLAUSE. LINE DISCARDED (REASON CODE 0x%x).\n", iCode);
  return ac;
}

/* -------------------------------------------------------------- the table */

TEST(EvalTable, RowsDictionaryAndSiblingOperators)
{
  ASSERT_EQ(zornodeEvalInitProcDict(), 0);
  odict *pdict = gpdictNodeProc;
  ASSERT_EQ(zornodeEvalInitProcDict(), 0);
  EXPECT_EQ(gpdictNodeProc, pdict);   /* built once */

  const zornodeEvalFuncDescriptor &end = aevalFuncDescriptor[ZORNODE_EVAL_FUNC_ROWS - 1];
  EXPECT_EQ(end.usOperator, 0xFFFF);
  EXPECT_EQ(end.proc, nullptr);
  /* Every row before the end has a procedure and a key of its own. */
  for (int i = 0; i < ZORNODE_EVAL_FUNC_ROWS - 1; i++) ASSERT_NE(aevalFuncDescriptor[i].proc, nullptr) << i;
  EXPECT_EQ(odictGetCount(gpdictNodeProc), static_cast<uint32_t>(ZORNODE_EVAL_FUNC_ROWS - 1));

  auto find = [](unsigned uOp, unsigned uL, unsigned uR) {
    return reinterpret_cast<zornodeEvalProc>(odictLoad(gpdictNodeProc, zornodeEvalProcKey(uOp, uL, uR)));
  };
  EXPECT_EQ(find(NODE_DIFF_OP, 0x10, 0x14), _zornodeEvalProc_EQU_OP_CHAR);
  EXPECT_EQ(find(NODE_SEG_OP, 0x40, 0x0c), _zornodeEvalProc_INF_OP_BIG_DEC);
  EXPECT_EQ(find(NODE_IEG_OP, 0x28, 0x28), _zornodeEvalProc_SUP_OP_TST_TST);
  EXPECT_EQ(find(NODE_DIV_OP, 0x0c, 0x08), _zornodeEvalProc_DIV_OP_DEC_DOUBLE);
  EXPECT_EQ(find(NODE_MNSU_OP, 0x0c, 0xFF), _zornodeEvalProc_MNSU_OP_DEC);
  EXPECT_EQ(find(NODE_DUREE_OP, 0x00, 0x20), _zornodeEvalProc_DUREE_OP_INT_DATE);
  EXPECT_EQ(find(NODE_IS_OP, 0xFF, 0xFF), _zornodeEvalProc_ISNULL_OP);
  /* No procedure: INTEGER() of a decimal, SMALLINT operands, LIKE. */
  EXPECT_EQ(find(NODE_INT_OP, 0x0c, 0xFF), nullptr);
  EXPECT_EQ(find(NODE_PLS_OP, 0x04, 0x00), nullptr);
  EXPECT_EQ(find(NODE_LIKE_OP, 0x10, 0x10), nullptr);
}

/* ------------------------------------------------------------ comparisons */

TEST_F(Eval, CharacterComparisonsPadWithTheBlank)
{
  struct {
    int iCode;
    std::string strL, strR;
    char cExpected;
  } aCases[] = {
      {NODE_EQU_OP, "abc", "abc   ", 'T'},
      {NODE_DIFF_OP, "abc", "abc   ", 'F'},
      {NODE_INF_OP, "abc", "abcd", 'T'},
      {NODE_INF_OP, "abc ", "abc", 'F'},
      {NODE_IEG_OP, "abc", "abc ", 'T'},
      {NODE_SEG_OP, "abc", "abc ", 'T'},
      {NODE_SUP_OP, "abd", "abcz", 'T'},
      {NODE_INF_OP, "abc", "abc\xC3", 'T'},     /* a byte above 0x7F lies above the blank */
      {NODE_SUP_OP, "abc\x01", "abc", 'F'},     /* below the blank */
      {NODE_INF_OP, "abc\x01", "abc", 'T'},
      {NODE_EQU_OP, "", "   ", 'T'},
      {NODE_EQU_OP, "a", "b", 'F'},
  };
  for (const auto &c : aCases)
    EXPECT_EQ(tri([&] { return cmp(c.iCode, S(c.strL), S(c.strR)); }), c.cExpected)
        << "'" << c.strL << "' op " << c.iCode << " '" << c.strR << "'";
}

TEST_F(Eval, CharacterAndVarcharColumns)
{
  setChar("ab");
  setVar(C_VCHAR, "ab ");
  EXPECT_EQ(tri([&] { return cmp(NODE_EQU_OP, C(C_CHAR), C(C_VCHAR)); }), 'T');
  EXPECT_EQ(tri([&] { return cmp(NODE_EQU_OP, C(C_CHAR), S("ab")); }), 'T');
  EXPECT_EQ(tri([&] { return cmp(NODE_INF_OP, C(C_VCHAR), S("abc")); }), 'T');
  setNull(C_VCHAR);
  EXPECT_EQ(tri([&] { return cmp(NODE_EQU_OP, C(C_VCHAR), S("ab")); }), 'N');
}

TEST_F(Eval, GraphicComparisonsPadInStoredOrder)
{
  setGraphic(u"AB ");
  setVar(C_VGRA, ucs2(u"AB"), 2);
  struct {
    std::function<zornode *()> fn;
    char cExpected;
  } aCases[] = {
      {[&] { return cmp(NODE_EQU_OP, C(C_GRA), C(C_VGRA)); }, 'T'},
      {[&] { return cmp(NODE_EQU_OP, C(C_GRA), G(u"AB")); }, 'T'},
      {[&] { return cmp(NODE_INF_OP, G(u"AB"), G(u"ABC")); }, 'T'},
      /* U+0100 orders above the blank U+0020, as its bytes 01 00 do above 00 20. */
      {[&] { return cmp(NODE_INF_OP, G(u"AB"), G(u"AB\u0100")); }, 'T'},
      {[&] { return cmp(NODE_SUP_OP, G(u"AB\u0100"), G(u"AB")); }, 'T'},
      {[&] { return cmp(NODE_SUP_OP, G(u"AB\u0001"), G(u"AB")); }, 'F'},
      {[&] { return cmp(NODE_INF_OP, G(u"AA\u0100"), G(u"AB")); }, 'T'},
  };
  for (size_t i = 0; i < std::size(aCases); i++) EXPECT_EQ(tri(aCases[i].fn), aCases[i].cExpected) << i;
}

TEST_F(Eval, NumericComparisonsAcrossTypes)
{
  setInt(-2147483647 - 1);
  setDec("1.50");
  setDouble(1.5);
  setBig(2147483648LL);
  setSmall(-7);
  setReal(0.5f);
  const double dNaN = std::numeric_limits<double>::quiet_NaN();
  struct {
    std::function<zornode *()> fn;
    char cExpected;
  } aCases[] = {
      {[&] { return cmp(NODE_INF_OP, C(C_INT), C(C_BIG)); }, 'T'},     /* -2147483648 < 2147483648 */
      {[&] { return cmp(NODE_EQU_OP, C(C_DEC), C(C_DBL)); }, 'T'},     /* 1.5 = 1.5E0 */
      {[&] { return cmp(NODE_EQU_OP, C(C_DBL), DC("1.5", 2, 1)); }, 'T'},
      {[&] { return cmp(NODE_EQU_OP, C(C_SMALL), I(-7)); }, 'T'},
      {[&] { return cmp(NODE_EQU_OP, C(C_REAL), D(0.5)); }, 'T'},
      {[&] { return cmp(NODE_SUP_OP, C(C_DEC), I(1)); }, 'T'},
      {[&] { return cmp(NODE_INF_OP, I(1), C(C_DEC)); }, 'T'},
      {[&] { return cmp(NODE_IEG_OP, I(2), C(C_DEC)); }, 'F'},
      {[&] { return cmp(NODE_SUP_OP, C(C_BIG), DC("2147483647.99", 12, 2)); }, 'T'},
      {[&] { return cmp(NODE_INF_OP, DC("2147483648.01", 12, 2), C(C_BIG)); }, 'F'},
      {[&] { return cmp(NODE_EQU_OP, C(C_BIG), D(2147483648.0)); }, 'T'},
      /* 2^53 + 1 is not a double: compared exactly in extended precision. */
      {[&] { return cmp(NODE_SUP_OP, BG(9007199254740993LL), D(9007199254740992.0)); }, 'T'},
      {[&] { return cmp(NODE_EQU_OP, DC("-0.00", 3, 2), DC("0", 1, 0)); }, 'T'},
      {[&] { return cmp(NODE_INF_OP, DC("-12.5", 3, 1), DC("-12.25", 4, 2)); }, 'T'},
      {[&] { return cmp(NODE_DIFF_OP, I(3), I(3)); }, 'F'},
      {[&] { return cmp(NODE_SEG_OP, BG(-1), I(-1)); }, 'T'},
  };
  for (size_t i = 0; i < std::size(aCases); i++) EXPECT_EQ(tri(aCases[i].fn), aCases[i].cExpected) << i;

  /* NaN is unordered: =, <, > false; <>, >=, <= true. */
  struct {
    int iCode;
    char cExpected;
  } aNaN[] = {{NODE_EQU_OP, 'F'}, {NODE_INF_OP, 'F'}, {NODE_SUP_OP, 'F'},
              {NODE_DIFF_OP, 'T'}, {NODE_SEG_OP, 'T'}, {NODE_IEG_OP, 'T'}};
  for (const auto &c : aNaN) {
    EXPECT_EQ(tri([&] { return cmp(c.iCode, D(dNaN), D(1.0)); }), c.cExpected) << c.iCode;
    EXPECT_EQ(tri([&] { return cmp(c.iCode, I(1), D(dNaN)); }), c.cExpected) << c.iCode;
    EXPECT_EQ(tri([&] { return cmp(c.iCode, D(dNaN), DC("1", 1, 0)); }), c.cExpected) << c.iCode;
  }
}

TEST_F(Eval, DateTimeAndTimestampComparisons)
{
  setDate(C_DATE, 2004, 2, 29);
  setTime(C_TIME, 13, 5, 9);
  setDate(C_TST, 2004, 2, 29);
  setTime(C_TST, 13, 5, 9);
  row()[gaCols[C_TST].sOffset + 9] = 0x50;   /* 50 microseconds */
  EXPECT_EQ(tri([&] { return cmp(NODE_EQU_OP, C(C_DATE), DT(2004, 2, 29)); }), 'T');
  EXPECT_EQ(tri([&] { return cmp(NODE_SUP_OP, C(C_DATE), DT(2004, 2, 28)); }), 'T');
  EXPECT_EQ(tri([&] { return cmp(NODE_INF_OP, C(C_DATE), DT(2004, 3, 1)); }), 'T');
  EXPECT_EQ(tri([&] { return cmp(NODE_INF_OP, DT(999, 12, 31), C(C_DATE)); }), 'T');
  EXPECT_EQ(tri([&] { return cmp(NODE_EQU_OP, C(C_TIME), C(C_TIME)); }), 'T');
  EXPECT_EQ(tri([&] { return cmp(NODE_SUP_OP, C(C_TST), C(C_TST)); }), 'F');
  EXPECT_EQ(tri([&] { return cmp(NODE_SEG_OP, C(C_TST), C(C_TST)); }), 'T');
  /* DATE() of a date is the date itself. */
  EXPECT_EQ(tri([&] { return cmp(NODE_EQU_OP, op(NODE_DTE_OP, C(C_DATE), nullptr, NODE_T_VDTE), DT(2004, 2, 29)); }),
            'T');
}

/* ------------------------------------------------------- three-valued logic */

TEST_F(Eval, ThreeValuedLogicAndIsNull)
{
  setNull(C_INT);
  auto nullCond = [&] { return cmp(NODE_EQU_OP, C(C_INT), I(5)); };   /* NULL */
  auto t = [] { return cmp(NODE_EQU_OP, I(1), I(1)); };
  auto f = [] { return cmp(NODE_EQU_OP, I(1), I(0)); };
  struct {
    std::function<zornode *()> fn;
    char cExpected;
  } aCases[] = {
      {nullCond, 'N'},
      {[&] { return OR(nullCond(), t()); }, 'T'},
      {[&] { return OR(nullCond(), f()); }, 'N'},
      {[&] { return OR(t(), nullCond()); }, 'T'},
      {[&] { return OR(f(), nullCond()); }, 'N'},
      {[&] { return OR(f(), f()); }, 'F'},
      {[&] { return AND(nullCond(), f()); }, 'F'},
      {[&] { return AND(nullCond(), t()); }, 'N'},
      {[&] { return AND(f(), nullCond()); }, 'F'},
      {[&] { return AND(t(), nullCond()); }, 'N'},
      {[&] { return AND(t(), t()); }, 'T'},
      {[&] { return NOT(nullCond()); }, 'N'},
      {[&] { return NOT(f()); }, 'T'},
      {[&] { return ISNULL(C(C_INT)); }, 'T'},
      {[&] { return ISNULL(C(C_SMALL)); }, 'F'},
      {[&] { return ISNULL(nullCond()); }, 'T'},
      {[&] { return NOT(ISNULL(C(C_INT))); }, 'F'},
  };
  for (size_t i = 0; i < std::size(aCases); i++) EXPECT_EQ(tri(aCases[i].fn), aCases[i].cExpected) << i;
}

TEST_F(Eval, DecidedOperandsSkipTheRest)
{
  setNull(C_INT);
  /* The right operands divide by zero: evaluating them would drop the record. */
  auto fail = [] { return cmp(NODE_EQU_OP, arith(NODE_DIV_OP, I(1), I(0)), I(0)); };
  struct {
    std::function<zornode *()> fn;
    int iExpected;
  } aCases[] = {
      {[&] { return cmp(NODE_EQU_OP, C(C_INT), arith(NODE_DIV_OP, I(1), I(0))); }, 0},  /* NULL = x */
      {[&] { return OR(cmp(NODE_EQU_OP, I(1), I(1)), fail()); }, 1},
      {[&] { return AND(cmp(NODE_EQU_OP, I(1), I(2)), fail()); }, 0},
      {[&] { return cmp(NODE_EQU_OP, arith(NODE_PLS_OP, C(C_INT), arith(NODE_DIV_OP, I(1), I(0))), I(0)); }, 0},
  };
  for (size_t i = 0; i < std::size(aCases); i++) {
    int iResult = -9;
    EXPECT_TRUE(evalMessages(aCases[i].fn(), &iResult).empty()) << i;
    EXPECT_EQ(iResult, aCases[i].iExpected) << i;
  }
}

TEST_F(Eval, NullResultIsNeverKept)
{
  /* A null byte of 2 (any non-zero byte) is NULL and never reads as true. */
  row()[gaCols[C_INT].sNull] = 2;
  EXPECT_EQ(evalBool(cmp(NODE_EQU_OP, C(C_INT), I(0))), 0);
  row()[gaCols[C_INT].sNull] = 0xFF;
  EXPECT_EQ(evalBool(cmp(NODE_EQU_OP, C(C_INT), I(0))), 0);
  EXPECT_EQ(evalBool(ISNULL(C(C_INT))), 1);
}

/* ------------------------------------------------------------- arithmetic */

TEST_F(Eval, ArithmeticResults)
{
  setInt(-2147483647 - 1);
  setDec("5.00");
  setNull(C_DBL);
  setBig(std::numeric_limits<int64_t>::min());
  struct {
    std::function<zornode *()> fn;
    char cExpected;
  } aCases[] = {
      {[] { return cmp(NODE_EQU_OP, arith(NODE_PLS_OP, I(2147483646), I(1)), I(2147483647)); }, 'T'},
      {[] { return cmp(NODE_EQU_OP, arith(NODE_PLS_OP, I(2147483647), BG(1)), BG(2147483648LL)); }, 'T'},
      {[] { return cmp(NODE_EQU_OP, arith(NODE_MLT_OP, I(65536), I(-32768)), I(-2147483647 - 1)); }, 'T'},
      {[] { return cmp(NODE_EQU_OP, arith(NODE_DIV_OP, I(-7), I(2)), I(-3)); }, 'T'},
      {[] { return cmp(NODE_EQU_OP, arith(NODE_DIV_OP, I(-2147483647 - 1), I(1)), I(-2147483647 - 1)); }, 'T'},
      {[&] { return cmp(NODE_EQU_OP, arith(NODE_DIV_OP, C(C_BIG), BG(1)), C(C_BIG)); }, 'T'},
      {[&] { return cmp(NODE_EQU_OP, arith(NODE_PLS_OP, C(C_BIG), I(1)), BG(std::numeric_limits<int64_t>::min() + 1)); },
       'T'},
      {[] { return cmp(NODE_EQU_OP, arith(NODE_MNS_OP, BG(10), I(3)), BG(7)); }, 'T'},
      {[] { return cmp(NODE_EQU_OP, arith(NODE_DIV_OP, I(7), BG(2)), BG(3)); }, 'T'},
      {[] { return cmp(NODE_EQU_OP, arith(NODE_MLT_OP, D(1.5), I(2)), D(3.0)); }, 'T'},
      {[] { return cmp(NODE_EQU_OP, arith(NODE_DIV_OP, DC("0.0", 2, 1), D(2.0)), D(0.0)); }, 'T'},
      {[] { return cmp(NODE_EQU_OP, arith(NODE_PLS_OP, DC("0.5", 2, 1), D(0.25)), D(0.75)); }, 'T'},
      {[] { return cmp(NODE_EQU_OP, arith(NODE_MNS_OP, D(1.0), DC("0.25", 3, 2)), D(0.75)); }, 'T'},
      {[] { return cmp(NODE_EQU_OP, arith(NODE_DIV_OP, DC("10.00", 4, 2), I(3), 0x0502), DC("3.33", 3, 2)); }, 'T'},
      {[] { return cmp(NODE_EQU_OP, arith(NODE_DIV_OP, I(10), DC("4", 1, 0), 0x0501), DC("2.5", 2, 1)); }, 'T'},
      {[] { return cmp(NODE_EQU_OP, arith(NODE_DIV_OP, BG(-10), DC("4", 1, 0), 0x0500), I(-2)); }, 'T'},
      {[] { return cmp(NODE_EQU_OP, arith(NODE_DIV_OP, DC("1", 1, 0), BG(3), 0x0403), DC("0.333", 3, 3)); }, 'T'},
      {[] { return cmp(NODE_EQU_OP, arith(NODE_MNS_OP, I(5), DC("5.0", 2, 1)), DC("0", 1, 0)); }, 'T'},
      {[] { return cmp(NODE_EQU_OP, arith(NODE_MNS_OP, I(5), DC("7.5", 2, 1)), DC("-2.5", 2, 1)); }, 'T'},
      {[] { return cmp(NODE_EQU_OP, NEG(DC("0.0", 2, 1)), DC("0.0", 2, 1)); }, 'T'},
      /* 5 - (-2147483648) with a decimal 5 and an INTEGER column. */
      {[&] { return cmp(NODE_EQU_OP, arith(NODE_MNS_OP, C(C_DEC), C(C_INT)), DC("2147483653", 10, 0)); }, 'T'},
      {[&] { return cmp(NODE_EQU_OP, arith(NODE_MNS_OP, C(C_INT), C(C_DEC)), DC("-2147483653", 10, 0)); }, 'T'},
      {[&] { return cmp(NODE_EQU_OP, arith(NODE_PLS_OP, C(C_INT), C(C_DEC)), DC("-2147483643", 10, 0)); }, 'T'},
      {[&] { return cmp(NODE_EQU_OP, arith(NODE_MLT_OP, C(C_DEC), I(-3)), DC("-15", 2, 0)); }, 'T'},
      {[&] { return cmp(NODE_EQU_OP, arith(NODE_MNS_OP, BG(5), C(C_DEC)), I(0)); }, 'T'},
      {[&] { return cmp(NODE_EQU_OP, arith(NODE_MLT_OP, C(C_DEC), BG(4000000000LL)), BG(20000000000LL)); }, 'T'},
      {[] { return cmp(NODE_EQU_OP, arith(NODE_MNS_OP, DC("1.25", 3, 2), DC("2", 1, 0)), DC("-0.75", 2, 2)); }, 'T'},
      {[] { return cmp(NODE_EQU_OP, arith(NODE_MLT_OP, DC("1.5", 2, 1), DC("-1.5", 2, 1)), DC("-2.25", 3, 2)); }, 'T'},
      {[] { return cmp(NODE_EQU_OP, NEG(I(-2147483647)), I(2147483647)); }, 'T'},
      {[] { return cmp(NODE_EQU_OP, NEG(BG(5)), I(-5)); }, 'T'},
      {[] { return cmp(NODE_EQU_OP, NEG(DC("1.5", 2, 1)), D(-1.5)); }, 'T'},
      /* NULL operands give NULL, a NULL divisor included. */
      {[&] { return cmp(NODE_EQU_OP, arith(NODE_DIV_OP, I(7), INTEGER(C(C_DBL))), I(0)); }, 'N'},
      {[&] { return cmp(NODE_EQU_OP, arith(NODE_MNS_OP, C(C_DBL), I(0)), D(0)); }, 'N'},
      {[&] { return cmp(NODE_EQU_OP, NEG(C(C_DBL)), D(0)); }, 'N'},
  };
  for (size_t i = 0; i < std::size(aCases); i++) EXPECT_EQ(tri(aCases[i].fn), aCases[i].cExpected) << i;
}

TEST_F(Eval, DoubleResultsAndSignOfZero)
{
  zornodeEvalValue val = value(NEG(D(0.0)));
  EXPECT_EQ(val.ulLink, NODE_T_VFLT);
  EXPECT_TRUE(std::signbit(zornodeEvalGetDouble(&val)));
  val = value(arith(NODE_MNS_OP, I(5), DC("5.0", 2, 1)));
  EXPECT_EQ(val.ulLink, NODE_T_VDEC);
  EXPECT_EQ(val.u.dec.iSign, 0);
  EXPECT_EQ(_decCmpInt(&val.u.dec, 0), 0);
  /* Extended precision, rounded once: 2^53 + 1 (BIGINT) + 0.0. */
  val = value(arith(NODE_PLS_OP, BG(9007199254740993LL), D(0.0)));
  EXPECT_EQ(zornodeEvalGetDouble(&val), 9007199254740992.0);
  val = value(arith(NODE_DIV_OP, D(1.0), D(3.0)));
  EXPECT_EQ(zornodeEvalGetDouble(&val), 1.0 / 3.0);
  val = value(arith(NODE_MLT_OP, D(1e308), D(10.0)));
  EXPECT_TRUE(std::isinf(zornodeEvalGetDouble(&val)));
}

TEST_F(Eval, CastsIntegerAndReal)
{
  setNull(C_DBL);
  struct {
    std::function<zornode *()> fn;
    char cExpected;
  } aCases[] = {
      {[] { return cmp(NODE_EQU_OP, INTEGER(D(-3.7)), I(-3)); }, 'T'},
      {[] { return cmp(NODE_EQU_OP, INTEGER(D(2147483647.0)), I(2147483647)); }, 'T'},
      {[] { return cmp(NODE_EQU_OP, INTEGER(BG(-2147483647)), I(-2147483647)); }, 'T'},
      {[] { return cmp(NODE_EQU_OP, INTEGER(I(12)), I(12)); }, 'T'},
      {[&] { return cmp(NODE_EQU_OP, INTEGER(C(C_DBL)), I(0)); }, 'N'},
      /* single precision, as DB2's REAL(): 16777217 has no float of its own */
      {[] { return cmp(NODE_EQU_OP, REAL(D(16777217.0)), D(16777216.0)); }, 'T'},
      {[] { return cmp(NODE_EQU_OP, REAL(I(16777217)), D(16777216.0)); }, 'T'},
      {[] { return cmp(NODE_EQU_OP, REAL(D(1.2345678)), D(static_cast<double>(1.2345678f))); }, 'T'},
      {[] { return cmp(NODE_EQU_OP, REAL(BG(3)), D(3.0)); }, 'T'},
      {[] { return cmp(NODE_EQU_OP, REAL(DC("0.25", 2, 2)), D(0.25)); }, 'T'},
      {[&] { return cmp(NODE_EQU_OP, REAL(C(C_DBL)), D(0.0)); }, 'N'},
  };
  for (size_t i = 0; i < std::size(aCases); i++) EXPECT_EQ(tri(aCases[i].fn), aCases[i].cExpected) << i;

  zornodeEvalValue val = value(REAL(D(0.1)));
  EXPECT_EQ(zornodeEvalGetDouble(&val), static_cast<double>(0.1f));   /* 0.100000001490116... */
  val = value(INTEGER(BG(-5)));
  EXPECT_EQ(val.ulLink, NODE_T_VINT);
  EXPECT_EQ(val.u.iValue, -5);
}

/* --------------------------------------------------- evaluation errors */

TEST_F(Eval, ErrorsDropTheRecordWithTheirReasonCode)
{
  const double dNaN = std::numeric_limits<double>::quiet_NaN();
  struct {
    std::function<zornode *()> fn;
    int iReason;
  } aCases[] = {
      {[] { return cmp(NODE_EQU_OP, arith(NODE_DIV_OP, I(7), I(0)), I(0)); }, ZORNODE_RC_DIVZERO},
      {[] { return cmp(NODE_EQU_OP, arith(NODE_DIV_OP, BG(7), I(0)), I(0)); }, ZORNODE_RC_DIVZERO},
      {[] { return cmp(NODE_EQU_OP, arith(NODE_DIV_OP, D(1.0), D(0.0)), D(0)); }, ZORNODE_RC_DIVZERO},
      {[] { return cmp(NODE_EQU_OP, arith(NODE_DIV_OP, D(1.0), D(-0.0)), D(0)); }, ZORNODE_RC_DIVZERO},
      {[] { return cmp(NODE_EQU_OP, arith(NODE_DIV_OP, D(1.0), BG(0)), D(0)); }, ZORNODE_RC_DIVZERO},
      {[] { return cmp(NODE_EQU_OP, arith(NODE_DIV_OP, DC("1.5", 2, 1), D(0.0)), D(0)); }, ZORNODE_RC_DIVZERO},
      {[] { return cmp(NODE_EQU_OP, arith(NODE_DIV_OP, D(1.5), DC("0.0", 2, 1)), D(0)); }, ZORNODE_RC_DIVZERO},
      {[] { return cmp(NODE_EQU_OP, arith(NODE_DIV_OP, DC("1.00", 3, 2), DC("0.00", 3, 2), 2), I(0)); },
       ZORNODE_RC_DIVZERO},
      {[] { return cmp(NODE_EQU_OP, arith(NODE_DIV_OP, DC("1", 1, 0), I(0), 2), I(0)); }, ZORNODE_RC_DIVZERO},
      {[] { return cmp(NODE_EQU_OP, arith(NODE_DIV_OP, I(1), DC("0", 1, 0), 2), I(0)); }, ZORNODE_RC_DIVZERO},
      {[] { return cmp(NODE_EQU_OP, arith(NODE_DIV_OP, BG(1), DC("0", 1, 0), 2), I(0)); }, ZORNODE_RC_DIVZERO},
      {[] { return cmp(NODE_EQU_OP, INTEGER(BG(2147483648LL)), I(0)); }, ZORNODE_RC_INTRANGE},
      /* INTEGER and BIGINT results outside their range fail as DB2's do, instead of wrapping round */
      {[] { return cmp(NODE_EQU_OP, arith(NODE_PLS_OP, I(2147483647), I(1)), I(0)); }, ZORNODE_RC_OVERFLOW},
      {[] { return cmp(NODE_EQU_OP, arith(NODE_MNS_OP, I(-2147483647), I(2)), I(0)); }, ZORNODE_RC_OVERFLOW},
      {[] { return cmp(NODE_EQU_OP, arith(NODE_MLT_OP, I(65536), I(65536)), I(0)); }, ZORNODE_RC_OVERFLOW},
      {[] { return cmp(NODE_EQU_OP, arith(NODE_DIV_OP, I(-2147483647 - 1), I(-1)), I(0)); }, ZORNODE_RC_OVERFLOW},
      {[] { return cmp(NODE_EQU_OP, NEG(I(-2147483647 - 1)), I(0)); }, ZORNODE_RC_OVERFLOW},
      {[] { return cmp(NODE_EQU_OP, arith(NODE_PLS_OP, BG(std::numeric_limits<int64_t>::max()), I(1)), I(0)); },
       ZORNODE_RC_OVERFLOW},
      {[] { return cmp(NODE_EQU_OP, arith(NODE_MNS_OP, BG(std::numeric_limits<int64_t>::min()), I(1)), I(0)); },
       ZORNODE_RC_OVERFLOW},
      {[] { return cmp(NODE_EQU_OP, arith(NODE_MLT_OP, BG(4294967296LL), BG(4294967296LL)), I(0)); },
       ZORNODE_RC_OVERFLOW},
      {[] { return cmp(NODE_EQU_OP, arith(NODE_DIV_OP, BG(std::numeric_limits<int64_t>::min()), BG(-1)), I(0)); },
       ZORNODE_RC_OVERFLOW},
      {[] { return cmp(NODE_EQU_OP, NEG(BG(std::numeric_limits<int64_t>::min())), I(0)); }, ZORNODE_RC_OVERFLOW},
      {[] { return cmp(NODE_EQU_OP, INTEGER(BG(-2147483648LL)), I(0)); }, ZORNODE_RC_INTRANGE},
      {[] { return cmp(NODE_EQU_OP, INTEGER(D(2147483647.5)), I(0)); }, ZORNODE_RC_INTRANGE},
      {[&] { return cmp(NODE_EQU_OP, INTEGER(D(dNaN)), I(0)); }, ZORNODE_RC_INTRANGE},
      {[] {
         zornode *pbig = DC("9999999999999999999999999999999", 31, 0);
         return cmp(NODE_EQU_OP, arith(NODE_MLT_OP, pbig, DC("100000000", 9, 0)), I(0));
       },
       ODEC_OVERFLOW},
      {[] {
         zornode *pbig = DC("999999999999999999999999999999", 30, 0);
         return cmp(NODE_EQU_OP, arith(NODE_MLT_OP, pbig, I(2147483647)), I(0));
       },
       ODEC_OVERFLOW},
      {[] {   /* precision 40 cannot be loaded */
         zornode *pnode = DC("1", 1, 0);
         static_cast<unsigned char *>(pnode->pLeft)[0] = 40;
         return cmp(NODE_EQU_OP, pnode, I(0));
       },
       ODEC_INVALID},
  };
  for (size_t i = 0; i < std::size(aCases); i++) {
    int iResult = -9;
    std::vector<std::string> v = evalMessages(aCases[i].fn(), &iResult);
    EXPECT_EQ(iResult, 0) << i;
    ASSERT_EQ(v.size(), 1u) << i;
    EXPECT_EQ(v[0], reason365(aCases[i].iReason)) << i;
    EXPECT_EQ(gjumpContext.iReason, aCases[i].iReason) << i;
    EXPECT_EQ(gjumpContext.pctxActive, nullptr);
  }
}

TEST_F(Eval, AfterAnErrorTheNextRecordIsEvaluatedAndThePoolDoesNotGrow)
{
  auto build = [&] { return cmp(NODE_SUP_OP, arith(NODE_DIV_OP, DC("10", 2, 0), C(C_DEC), 2), I(3)); };
  int iBlocksFree = freeCount();
  for (int i = 0; i < 500; i++) {
    setDec("0");
    int iResult = -9;
    std::vector<std::string> v = evalMessages(build(), &iResult);
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(v[0], reason365(ZORNODE_RC_DIVZERO));
    setDec("2.00");
    EXPECT_EQ(evalBool(build()), 1);   /* 10 / 2 = 5 > 3 */
  }
  /* Every element came back: no more than one growth block was ever needed. */
  int iBlocks = 0;
  for (void *p = pctx->pool.pBlocks; p != nullptr; iBlocks++) std::memcpy(&p, p, sizeof p);
  EXPECT_LE(iBlocks, 2);
  int iFree = freeCount();
  EXPECT_EQ(iFree, iBlocks == 1 ? iBlocksFree : iBlocksFree + ZORNODE_EVAL_GROWTH);
  EXPECT_EQ(evalBool(build()), 1);
  EXPECT_EQ(freeCount(), iFree);
}

TEST_F(Eval, EvalEvalReturnsTheReasonInsteadOfJumping)
{
  zornode *pnode = cmp(NODE_EQU_OP, arith(NODE_DIV_OP, I(1), I(0)), I(0));
  bindTree(pnode);
  zornodeEvalSetRecord(pctx, reinterpret_cast<const char *>(rec.data()), static_cast<int32_t>(rec.size()));
  int32_t iResult = 7;
  std::vector<std::string> v = zavtestMessages([&] { EXPECT_EQ(zornodeEvalEval(pctx, pnode, nullptr, &iResult), ZORNODE_RC_DIVZERO); });
  EXPECT_TRUE(v.empty());
  EXPECT_EQ(iResult, 7);
  zornodeDestroy(pnode);
  EXPECT_EQ(zornodeEvalPopDb2Internal(), 0);
}

/* ----------------------------------------------------- loads and bounds */

TEST_F(Eval, ColumnLoadsOfEveryType)
{
  setInt(123456);
  setSmall(-300);
  setChar("xy");
  setVar(C_VCHAR, "hello");
  setDec("-123.45");
  setDouble(-2.5);
  setBig(-5000000000LL);
  setReal(0.25f);
  struct {
    std::function<zornode *()> fn;
    char cExpected;
  } aCases[] = {
      {[&] { return cmp(NODE_EQU_OP, C(C_INT), I(123456)); }, 'T'},
      {[&] { return cmp(NODE_EQU_OP, C(C_SMALL), I(-300)); }, 'T'},
      {[&] { return cmp(NODE_EQU_OP, C(C_CHAR), S("xy")); }, 'T'},
      {[&] { return cmp(NODE_EQU_OP, C(C_VCHAR), S("hello")); }, 'T'},
      {[&] { return cmp(NODE_EQU_OP, C(C_DEC), DC("-123.45", 5, 2)); }, 'T'},
      {[&] { return cmp(NODE_EQU_OP, C(C_DBL), D(-2.5)); }, 'T'},
      {[&] { return cmp(NODE_EQU_OP, C(C_BIG), BG(-5000000000LL)); }, 'T'},
      {[&] { return cmp(NODE_EQU_OP, C(C_REAL), D(0.25)); }, 'T'},
      {[&] { return cmp(NODE_EQU_OP, C(C_DATE), DT(1, 1, 1)); }, 'T'},
      {[&] { return cmp(NODE_EQU_OP, C(C_GRA), G(u"")); }, 'T'},
      {[&] { return cmp(NODE_EQU_OP, C(C_VGRA), G(u"  ")); }, 'T'},
  };
  for (size_t i = 0; i < std::size(aCases); i++) EXPECT_EQ(tri(aCases[i].fn), aCases[i].cExpected) << i;
}

TEST_F(Eval, ColumnsTheRecordDoesNotHold)
{
  /* Beyond the fixed part: nullable gives NULL, not nullable drops the record. */
  EXPECT_EQ(tri([&] { return cmp(NODE_EQU_OP, C(C_ADDEDN), I(0)); }), 'N');
  EXPECT_EQ(tri([&] { return ISNULL(C(C_ADDEDN)); }), 'T');
  int iResult = -9;
  std::vector<std::string> v = evalMessages(cmp(NODE_EQU_OP, C(C_ADDED), I(0)), &iResult);
  ASSERT_EQ(v.size(), 1u);
  EXPECT_EQ(v[0], reason365(ZORNODE_RC_RECORD));

  struct {
    std::function<void()> fnSpoil;
    int iCol;
    int iReason;
  } aCases[] = {
      /* varying data pointing past the row */
      {[&] { obytePutLE16(row() + gaCols[C_VCHAR].sOffset, 0xFFF0); }, C_VCHAR, ZORNODE_RC_RECORD},
      {[&] { obytePutLE16(row() + gaCols[C_VCHAR].sOffset + 2, 200); }, C_VCHAR, ZORNODE_RC_RECORD},
      /* a value longer than the value area */
      {[&] { setVar(C_VCHAR, std::string(300, 'a')); }, C_VCHAR, ZORNODE_RC_VALUELEN},
      {[&] { setVar(C_VGRA, std::string(260, 'a'), 130); }, C_VGRA, ZORNODE_RC_VALUELEN},
      {[&] { adef[C_CHAR].iLength = 300; }, C_CHAR, ZORNODE_RC_VALUELEN},
      /* a row cut short */
      {[&] { rec.resize(8 + 30); obytePutLE16(&rec[6], 30); }, C_SMALL, 0},
      {[&] { rec.resize(8 + 43); obytePutLE16(&rec[6], 68); }, C_TIME, ZORNODE_RC_RECORD},
  };
  for (size_t i = 0; i < std::size(aCases); i++) {
    resetRecord();
    adef[C_CHAR].iLength = 5;
    aCases[i].fnSpoil();
    int iCol = aCases[i].iCol;
    std::vector<std::string> vText = evalMessages(ISNULL(C(iCol)), &iResult);
    if (aCases[i].iReason == 0) {
      EXPECT_TRUE(vText.empty()) << i;
      EXPECT_EQ(iResult, 0) << i;
    } else {
      ASSERT_EQ(vText.size(), 1u) << i;
      EXPECT_EQ(vText[0], reason365(aCases[i].iReason)) << i;
    }
  }
  /* A character constant longer than its buffer reads only the buffer. */
  resetRecord();
  EXPECT_EQ(tri([] {
              zornode *pnode = S("ab");
              pnode->usLength = 200;
              return cmp(NODE_EQU_OP, pnode, S("ab"));
            }),
            'T');
}

TEST_F(Eval, ConstantLoads)
{
  zornode *psmall = zornodeCreateSmallInt(-5, nullptr, nullptr);   /* 2-byte buffer */
  zornodeEvalValue val = value(psmall);
  EXPECT_EQ(val.iNull, 0);
  EXPECT_EQ(val.u.iValue, -5);
  val = value(DT(2004, 2, 29));
  EXPECT_EQ(val.u.time.uiFlags & OTIME_F_DATE, OTIME_F_DATE);
  EXPECT_EQ(val.u.time.acPacked[2], 0x02);
  val = value(DC("-1.5", 2, 1));
  EXPECT_EQ(val.u.dec.iSign, 1);
  EXPECT_EQ(_decCmpInt(&val.u.dec, -1), -1);

  /* The NULL constant, should it be evaluated, is NULL. */
  EXPECT_EQ(tri([] { return ISNULL(NULLC()); }), 'T');

  /* A constant of a type no load knows ends the evaluation. */
  int iResult = -9;
  std::vector<std::string> v = evalMessages(ISNULL(constBytes(NODE_CTVCH, 0x4514, 1, "a", ' ')), &iResult);
  ASSERT_EQ(v.size(), 1u);
  EXPECT_EQ(v[0], reason365(ZORNODE_RC_BADOPERAND));
}

/* ----------------------------------------------------------- the context */

TEST(EvalContext, PoolSizesAndRecordSetting)
{
  zornodeEvalContext *pctx = zornodeEvalCreate(0);
  ASSERT_NE(pctx, nullptr);
  EXPECT_EQ(pctx->pool.iInitial, 15);   /* 4088 / 272 */
  EXPECT_EQ(pctx->pool.iGrowth, ZORNODE_EVAL_GROWTH);
  EXPECT_EQ(pctx->ilRowLength, -1);
  EXPECT_EQ(pctx->iFixedLength, -1);
  int iFree = 0;
  for (void *p = pctx->pool.pFree; p != nullptr; iFree++) std::memcpy(&p, p, sizeof p);
  EXPECT_EQ(iFree, 15);

  unsigned char auc[20] = {};
  obytePutLE16(auc + 6, 40);   /* fixed part longer than the row: bounded */
  zornodeEvalSetRecord(pctx, reinterpret_cast<const char *>(auc), 20);
  EXPECT_EQ(pctx->pcRow, reinterpret_cast<const char *>(auc) + 8);
  EXPECT_EQ(pctx->ilRowLength, 12);
  EXPECT_EQ(pctx->iFixedLength, 12);
  zornodeEvalSetRecord(pctx, reinterpret_cast<const char *>(auc), 5);
  EXPECT_EQ(pctx->ilRowLength, 0);
  opoolDelete(&pctx->pool);
  std::free(pctx);

  EXPECT_EQ(zornodeEvalCreate(-1), nullptr);
}

}  // namespace
