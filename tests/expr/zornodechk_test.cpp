/*
** zornodechk_test.cpp
**   Expression check: SQL-like trees built with the zornode constructors
**   over a column chain of catalogue-like columns, accepted with the type,
**   length and status DB2's rules give or refused with their exact messages
**   and reason codes; LIKE patterns; the binding to evaluation procedures,
**   shown by evaluating checked trees on hand-made records; the custom-type
**   substitution of a column.
*/
#include "expr/zornodechk.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "common/obyte.h"
#include "common/ochaine.h"
#include "common/ochar.h"
#include "common/ocnvft.h"
#include "model/parm.h"
#include "expr/zorcol.h"
#include "expr/zornode.h"
#include "expr/zornodecnv.h"
#include "expr/zornodedur.h"
#include "expr/zornodeeval.h"
#include "model/orow.h"
#include "tests/zavtest.h"

namespace {

/* ------------------------------------------------------------- the table */

ochar *str850(const char *pc)
{
  ochar *pchar = ocharCreate(0, 850);
  ocharAppendFixedS(pchar, pc, static_cast<int32_t>(std::strlen(pc)));
  return pchar;
}

/* Columns of the test table: name, internal type id, subtype, storage length, CCSID, nullable. */
struct TableColumn {
  const char *pcName;
  int iType;
  int iSubType;
  int iLength;
  int16_t sCCSID;
  bool boNull;
};
enum { T_ID, T_QTY, T_PRICE, T_NAME, T_DESCR, T_HIRED, T_BIRTH, T_START, T_STAMP, T_RATE, T_BIG, T_DOC, T_UNAME, T_COUNT };
const TableColumn gaTable[T_COUNT] = {
    {"ID", ZORCOL_T_INTEGER, 4, 4, 0, false},
    {"QTY", ZORCOL_T_SMALLINT, 2, 2, 0, false},
    {"PRICE", ZORCOL_T_DECIMAL, 0x0702, 4, 0, true},
    {"NAME", ZORCOL_T_CHAR, 10, 10, 850, false},
    {"DESCR", ZORCOL_T_VARCHAR, 30, 30, 850, true},
    {"HIRED", ZORCOL_T_DATE, 0, 4, 0, false},
    {"BIRTH", ZORCOL_T_DATE, 0, 4, 0, true},
    {"START", ZORCOL_T_TIME, 0, 3, 0, false},
    {"STAMP", ZORCOL_T_TIMESTAMP, 0, 10, 0, false},
    {"RATE", ZORCOL_T_DOUBLE, 8, 8, 0, false},
    {"BIG", ZORCOL_T_BIGINT, 8, 8, 0, false},
    {"DOC", ZORCOL_T_CLOB, 1000, 1000, 850, true},
    {"UNAME", ZORCOL_T_CHAR, 10, 10, 1208, false},
};

ochaine *tableChain()
{
  ochaine *pchaine = ochaineCreate(sizeof(zorcol), nullptr, zorcolDestroyChaineItem);
  for (int i = 0; i < T_COUNT; i++) {
    const TableColumn &c = gaTable[i];
    uint16_t usFlags = ZORCOL_VAR | (c.boNull ? ZORCOL_NULL : 0);
    zorcol *pcol = zorcolCreate(str850(c.pcName), i + 1, nullptr, usFlags);
    pcol->iType = c.iType;
    pcol->iSubType = c.iSubType;
    pcol->iLength = c.iLength;
    pcol->sCCSID = c.sCCSID;
    pcol->iDb2Number = i;
    ochaineAppend(pchaine, pcol);
  }
  return pchaine;
}

/* ------------------------------------------------------------ tree helpers */

/* Puts a node at (line 1, column iColumn), start and end. */
zornode *at(zornode *pnode, int iColumn)
{
  pnode->sStartLine = pnode->sEndLine = 1;
  pnode->sStartColumn = pnode->sEndColumn = static_cast<int16_t>(iColumn);
  return pnode;
}

/* A column reference as the SQL parser makes it: a descriptor holding only the name. */
zornode *C(const char *pcName, int iColumn = 0)
{
  return at(zornodeCreate(ZORNODE_VAR, NODE_CTUNK, zorcolCreate(str850(pcName), 0, nullptr, 0), nullptr, 0, nullptr,
                          nullptr),
            iColumn);
}

zornode *I(int32_t i) { return zornodeCreateInteger(i, nullptr, nullptr); }

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

/* A character constant of CCSID 850. */
zornode *S(const char *pc, int iColumn = 0)
{
  ochar *pchar = str850(pc);
  zornode *pnode = zornodeCreateLitteral(pchar, nullptr, nullptr);
  ocharDestroy(pchar);
  return at(pnode, iColumn);
}

zornode *op(int iCode, zornode *pl, zornode *pr, int iColumn = 0)
{
  return at(zornodeCreate(ZORNODE_OPRT, iCode, pl, pr, 0, nullptr, nullptr), iColumn);
}

/* An operator with a plain value in its right slot. */
zornode *valued(int iCode, zornode *pl, uintptr_t ulValue, int iColumn = 0)
{
  return at(zornodeCreate(ZORNODE_OPRT, iCode, pl, reinterpret_cast<void *>(ulValue), NODE_RIGHT_NOT, nullptr, nullptr),
            iColumn);
}

/* IN over a list of constants chained through their right slots. */
zornode *IN(zornode *pl, std::vector<zornode *> vList, int iColumn = 0)
{
  for (size_t i = 0; i + 1 < vList.size(); i++) vList[i]->pRight = vList[i + 1];
  return op(NODE_IN_OP, pl, vList.empty() ? nullptr : vList[0], iColumn);
}

/* CASE WHEN w THEN t ELSE e END. */
zornode *CASE(zornode *pw, zornode *pt, zornode *pe, int iColumn = 0)
{
  return op(NODE_IF_OP, pw, op(NODE_CONT_IF_OP, pt, pe, iColumn), iColumn);
}

/* A labelled duration: d plus (or minus) n units, as the parser builds it. */
zornode *DUR(zornode *pd, zornode *pn, unsigned uUnit, int iColumn = 0)
{
  return op(NODE_DUREE_OP, pd, valued(NODE_CONT_DUREE_OP, pn, uUnit, iColumn), iColumn);
}

std::string item(int iColumn)
{
  return "ZORU010I ITEM STARTING AT (1," + std::to_string(iColumn) + ") ENDING AT(1," + std::to_string(iColumn) +
         ")\n";
}

/* The text of the operator's message. */
std::string bad(const char *pcText) { return std::string("ZORU025E INVALID OPERANDE FOR OPERATOR ") + pcText + ".\n"; }

/* The DECPDATE parameter, set for the life of the object. */
struct DecpDate {
  char acOld[5];
  explicit DecpDate(const char *pc)
  {
    char *pcField = static_cast<char *>(parmGetWithControl(PARM_ID(PARM_OPTDB2I, 8), 0));
    std::memcpy(acOld, pcField, 5);
    std::memcpy(pcField, pc, 5);
  }
  ~DecpDate() { std::memcpy(parmGetWithControl(PARM_ID(PARM_OPTDB2I, 8), 0), acOld, 5); }
};

class Check : public ::testing::Test {
 protected:
  ochaine *pchaine = nullptr;
  std::vector<std::string> vMessages;

  void SetUp() override { pchaine = tableChain(); }
  void TearDown() override { ochaineDestroy(pchaine); }

  /* The check walk alone; its result, the messages kept in vMessages. */
  int walk(zornode *pnode)
  {
    int rc = -1;
    vMessages = zavtestMessages([&] { rc = _zornodeCheckExpression(pnode, pchaine); });
    return rc;
  }
  /* The whole check; its result, the messages kept in vMessages. */
  int check(zornode *pnode)
  {
    int rc = -1;
    vMessages = zavtestMessages([&] { rc = zornodeCheckExpression(pnode, pchaine); });
    return rc;
  }
};

zornode *left(const zornode *pnode) { return static_cast<zornode *>(pnode->pLeft); }
zornode *right(const zornode *pnode) { return static_cast<zornode *>(pnode->pRight); }

}  // namespace

/* ----------------------------------------------------------- typing rules */

TEST_F(Check, AcceptedTreesGetTheTypesOfDb2Rules)
{
  DecpDate date("USA  ");
  struct {
    const char *pcCase;
    std::function<zornode *()> build;
    uint16_t usCtrlType;
    uint16_t usLength;
    uint16_t usStatus;   /* bits that must be set among NULLABLE, VARIABLE_LENGHT */
  } cases[] = {
      {"PRICE * 1.5", [] { return op(NODE_MLT_OP, C("PRICE"), DC("1.5", 2, 1)); }, NODE_T_VDEC, 0x0903, NODE_NULLABLE},
      {"DEC(10,2) / DEC(5,3)", [] { return op(NODE_DIV_OP, DC("1", 10, 2), DC("1", 5, 3)); }, NODE_T_VDEC, 0x1f14, 0},
      {"DEC(31,0) / DEC(5,3)", [] { return op(NODE_DIV_OP, DC("1", 31, 0), DC("1", 5, 3)); }, NODE_T_VDEC, 0x1f00, 0},
      {"QTY + 1", [] { return op(NODE_PLS_OP, C("QTY"), I(1)); }, NODE_T_VINT, 4, 0},
      {"QTY + 2.5E0", [] { return op(NODE_PLS_OP, C("QTY"), D(2.5)); }, NODE_T_VFLT, 8, 0},
      {"QTY + PRICE (SMALLINT counts 5 digits)", [] { return op(NODE_PLS_OP, C("QTY"), C("PRICE")); }, NODE_T_VDEC,
       0x0802, 0},
      {"ID - PRICE (INTEGER counts 11 digits)", [] { return op(NODE_MNS_OP, C("ID"), C("PRICE")); }, NODE_T_VDEC,
       0x0e02, 0},
      {"ID + BIG", [] { return op(NODE_PLS_OP, C("ID"), C("BIG")); }, NODE_T_VBIG, 8, 0},
      {"-PRICE", [] { return op(NODE_MNSU_OP, C("PRICE"), nullptr); }, NODE_T_VDEC, 0x0702, NODE_NULLABLE},
      {"HIRED - BIRTH", [] { return op(NODE_MNS_OP, C("HIRED"), C("BIRTH")); }, NODE_T_VDEC, 0x0800, NODE_NULLABLE},
      {"STAMP - '2024-01-01-00.00.00'", [] { return op(NODE_MNS_OP, C("STAMP"), S("2024-01-01-00.00.00")); },
       NODE_T_VDEC, 0x1406, 0},
      {"HIRED + DEC(8,0)", [] { return op(NODE_PLS_OP, C("HIRED"), DC("10000", 8, 0)); }, NODE_T_VDTE, 0, 0},
      {"DEC(6,0) + START", [] { return op(NODE_PLS_OP, DC("13000", 6, 0), C("START")); }, NODE_T_VTME, 0, 0},
      {"HIRED + 3 MONTHS", [] { return DUR(C("HIRED"), I(3), ZORNODE_DUR_MONTH); }, NODE_T_VDTE, 0, 0},
      {"STAMP - 2.9 HOURS", [] { return DUR(C("STAMP"), D(2.9), ZORNODE_DUR_HOUR | ZORNODE_DUR_SUBTRACT); },
       NODE_T_VTST, 0, 0},
      {"'2024-03-05' = HIRED", [] { return op(NODE_EQU_OP, S("2024-03-05"), C("HIRED")); }, NODE_T_BOOL, 0, 0},
      {"NAME < DESCR", [] { return op(NODE_INF_OP, C("NAME"), C("DESCR")); }, NODE_T_BOOL, 0, 0},
      {"ID IN (1, 2.5)", [] { return IN(C("ID"), {I(1), DC("2.5", 2, 1)}); }, NODE_T_BOOL, 0, 0},
      {"NAME LIKE 'A%'", [] { return op(NODE_LIKE_OP, C("NAME"), S("A%")); }, NODE_T_BOOL, 0, 0},
      {"BIRTH IS NULL", [] { return op(NODE_IS_OP, C("BIRTH"), nullptr); }, NODE_T_BOOL, 0, 0},
      {"CHAR(NAME, 20)", [] { return op(NODE_CHR_OP, C("NAME"), I(20)); }, NODE_T_VCHR, 20, 0},
      {"CHAR(HIRED)", [] { return op(NODE_CHR_OP, C("HIRED"), nullptr); }, NODE_T_VCHR, 10, 0},
      {"CHAR(STAMP, ISO)", [] { return valued(NODE_CHR_OP, C("STAMP"), 0xC9E2D6); }, NODE_T_VCHR, 26, 0},
      {"CHAR(PRICE, ',')", [] { return op(NODE_CHR_OP, C("PRICE"), S(",")); }, NODE_T_VCHR, 9, NODE_NULLABLE},
      {"CHAR(QTY)", [] { return op(NODE_CHR_OP, C("QTY"), nullptr); }, NODE_T_VCHR, 6, 0},
      {"SUBSTR(DESCR, 3, 4)",
       [] { return op(NODE_SUBSTR_OP, C("DESCR"), op(NODE_CONT_VAL_OP, I(3), I(4))); }, NODE_T_VCHR, 4, NODE_NULLABLE},
      {"SUBSTR(DESCR, 3)", [] { return op(NODE_SUBSTR_OP, C("DESCR"), op(NODE_CONT_VAL_OP, I(3), nullptr)); },
       NODE_T_VVCH, 28, NODE_NULLABLE | NODE_VARIABLE_LENGHT},
      {"NAME CONCAT DESCR", [] { return op(NODE_CONCAT_OP, C("NAME"), C("DESCR")); }, NODE_T_VVCH, 40,
       NODE_VARIABLE_LENGHT},
      {"YEAR(HIRED)", [] { return op(NODE_YEA_OP, C("HIRED"), nullptr); }, NODE_T_VDEC, 0x0400, 0},
      {"MICROSECOND(STAMP)", [] { return op(NODE_MIC_OP, C("STAMP"), nullptr); }, NODE_T_VDEC, 0x0600, 0},
      {"DAYS('2024-03-05')", [] { return op(NODE_DAYS_OP, S("2024-03-05"), nullptr); }, NODE_T_VINT, 4, 0},
      {"DECIMAL(ID)", [] { return valued(NODE_DEC_OP, C("ID"), 0xFF00); }, NODE_T_VDEC, 0x0b00, 0},
      {"DECIMAL(RATE, 9, 2)", [] { return valued(NODE_DEC_OP, C("RATE"), 0x0902); }, NODE_T_VDEC, 0x0902, 0},
      {"FLOAT(ID)", [] { return valued(NODE_FLT_OP, C("ID"), 0x80000); }, NODE_T_VFLT, 8, 0},
      {"DIGITS(PRICE)", [] { return op(NODE_DIG_OP, C("PRICE"), nullptr); }, NODE_T_VCHR, 7, NODE_NULLABLE},
      {"HEX(NAME)", [] { return op(NODE_HEX_OP, C("NAME"), nullptr); }, NODE_T_VCHR, 20, 0},
      {"HEX(DESCR)", [] { return op(NODE_HEX_OP, C("DESCR"), nullptr); }, NODE_T_VVCH, 60, NODE_VARIABLE_LENGHT},
      {"MOD(PRICE, DEC(5,3))", [] { return op(NODE_MOD_OP, C("PRICE"), DC("1", 5, 3)); }, NODE_T_VDEC, 0x0503, 0},
      {"SIGN(DEC(3,3))", [] { return op(NODE_SIGN_OP, DC(".5", 3, 3), nullptr); }, NODE_T_VDEC, 0x0403, 0},
      {"CEIL(PRICE)", [] { return op(NODE_CEIL_OP, C("PRICE"), nullptr); }, NODE_T_VDEC, 0x0700, NODE_NULLABLE},
      {"VALUE(PRICE, 0)", [] { return op(NODE_VAL_OP, C("PRICE"), op(NODE_CONT_VAL_OP, I(0), nullptr)); },
       NODE_T_VDEC, 0x0702, NODE_NULLABLE},
      {"VALUE(DESCR, NAME)", [] { return op(NODE_VAL_OP, C("DESCR"), op(NODE_CONT_VAL_OP, C("NAME"), nullptr)); },
       NODE_T_VVCH, 30, NODE_NULLABLE | NODE_VARIABLE_LENGHT},
      {"CASE WHEN ID = 1 THEN QTY ELSE PRICE END",
       [] { return CASE(op(NODE_EQU_OP, C("ID"), I(1)), C("QTY"), C("PRICE")); }, NODE_T_VDEC, 0x0702, NODE_NULLABLE},
      {"CASE ... THEN PRICE ELSE BIG END", [] { return CASE(op(NODE_EQU_OP, C("ID"), I(1)), C("PRICE"), C("BIG")); },
       NODE_T_VDEC, 0x1502, NODE_NULLABLE},
      {"CASE ... THEN NAME ELSE DESCR END", [] { return CASE(op(NODE_EQU_OP, C("ID"), I(1)), C("NAME"), C("DESCR")); },
       NODE_T_VVCH, 30, NODE_NULLABLE},
      {"CASE ... THEN '2024-03-05' ELSE HIRED END",
       [] { return CASE(op(NODE_EQU_OP, C("ID"), I(1)), S("2024-03-05"), C("HIRED")); }, NODE_T_DTE, 4,
       NODE_NULLABLE},
      {"CASE ... THEN NULL ELSE ID END",
       [] { return CASE(op(NODE_EQU_OP, C("ID"), I(1)), zornodeCreateNull(nullptr, nullptr), C("ID")); }, NODE_T_VINT,
       4, NODE_NULLABLE},
  };
  for (auto &c : cases) {
    zornode *pnode = c.build();
    EXPECT_EQ(walk(pnode), 0) << c.pcCase;
    EXPECT_TRUE(vMessages.empty()) << c.pcCase << ": " << (vMessages.empty() ? "" : vMessages[0]);
    EXPECT_EQ(pnode->usCtrlType, c.usCtrlType) << c.pcCase;
    EXPECT_EQ(pnode->usLength, c.usLength) << c.pcCase;
    EXPECT_EQ(pnode->usStatus & c.usStatus, c.usStatus) << c.pcCase;
    zornodeDestroy(pnode);
  }
}

/* A computed value is nullable as DB2 describes it: when an operand is; a
   negated SMALLINT is an INTEGER. */
TEST_F(Check, ComputedValuesTakeNullabilityAndTypeFromTheirOperands)
{
  struct {
    const char *pcCase;
    std::function<zornode *()> build;
    uint16_t usCtrlType;
    uint16_t usLength;
    bool boNullable;
  } cases[] = {
      {"QTY + 1", [] { return op(NODE_PLS_OP, C("QTY"), I(1)); }, NODE_T_VINT, 4, false},
      {"QTY * PRICE", [] { return op(NODE_MLT_OP, C("QTY"), C("PRICE")); }, NODE_T_VDEC, 0x0c02, true},
      {"-QTY", [] { return op(NODE_MNSU_OP, C("QTY"), nullptr); }, NODE_T_VINT, 4, false},
      {"-1.5", [] { return op(NODE_MNSU_OP, DC("1.5", 2, 1), nullptr); }, NODE_T_VDEC, 0x0201, false},
      {"HIRED - HIRED", [] { return op(NODE_MNS_OP, C("HIRED"), C("HIRED")); }, NODE_T_VDEC, 0x0800, false},
      {"HIRED - BIRTH", [] { return op(NODE_MNS_OP, C("HIRED"), C("BIRTH")); }, NODE_T_VDEC, 0x0800, true},
      {"HIRED + DEC(8,0)", [] { return op(NODE_PLS_OP, C("HIRED"), DC("100", 8, 0)); }, NODE_T_VDTE, 0, false},
  };
  for (auto &c : cases) {
    zornode *pnode = c.build();
    EXPECT_EQ(walk(pnode), 0) << c.pcCase;
    EXPECT_EQ(pnode->usCtrlType, c.usCtrlType) << c.pcCase;
    EXPECT_EQ(pnode->usLength, c.usLength) << c.pcCase;
    EXPECT_EQ((pnode->usStatus & NODE_NULLABLE) != 0, c.boNullable) << c.pcCase;
    zornodeDestroy(pnode);
  }
}

TEST_F(Check, RewritesOfConstantsAndShapes)
{
  /* the date literal compared with a DATE column becomes a packed DATE constant */
  zornode *pnode = op(NODE_EQU_OP, C("HIRED"), S("2024-03-05"));
  ASSERT_EQ(walk(pnode), 0);
  zornode *pconst = right(pnode);
  EXPECT_EQ(pconst->usCtrlType, NODE_T_DTE);
  EXPECT_EQ(std::memcmp(static_cast<unsigned char *>(pconst->pLeft) + 2, "\x20\x24\x03\x05", 4), 0);
  zornodeDestroy(pnode);

  /* + between a DATE and a DECIMAL(8,0) becomes DUREE over a CONT_DUREE holding the DECIMAL */
  pnode = op(NODE_PLS_OP, DC("10000", 8, 0), C("HIRED"));
  ASSERT_EQ(walk(pnode), 0);
  EXPECT_EQ(pnode->sCode, NODE_DUREE_OP);
  zornode *pcont = left(pnode);
  EXPECT_EQ(pcont->sCode, NODE_CONT_DUREE_OP);
  EXPECT_EQ(pcont->usCtrlType, NODE_T_VDEC);
  EXPECT_EQ(pcont->usStatus & NODE_RIGHT_NOT, NODE_RIGHT_NOT);
  EXPECT_EQ(zornodeRightValue(pcont), 0u);
  EXPECT_EQ(left(pcont)->usCtrlType, NODE_T_DEC);
  zornodeDestroy(pnode);
  pnode = op(NODE_MNS_OP, C("HIRED"), DC("10000", 8, 0));
  ASSERT_EQ(walk(pnode), 0);
  EXPECT_EQ(zornodeRightValue(right(pnode)), ZORNODE_DUR_SUBTRACT);
  zornodeDestroy(pnode);

  /* a labelled duration's DECIMAL amount becomes an INTEGER */
  pnode = DUR(C("HIRED"), DC("2.7", 2, 1), ZORNODE_DUR_DAY);
  ASSERT_EQ(walk(pnode), 0);
  EXPECT_EQ(left(right(pnode))->usCtrlType, NODE_T_INT);
  EXPECT_EQ(*static_cast<int32_t *>(left(right(pnode))->pLeft), 2);
  zornodeDestroy(pnode);

  /* an INTEGER in a list with a DECIMAL becomes a DECIMAL; a list of integers stays */
  pnode = IN(C("ID"), {I(1), DC("2.5", 2, 1)});
  ASSERT_EQ(walk(pnode), 0);
  EXPECT_EQ(right(pnode)->usCtrlType, NODE_T_DEC);
  zornodeDestroy(pnode);
  pnode = IN(C("ID"), {I(1), I(2)});
  ASSERT_EQ(walk(pnode), 0);
  EXPECT_EQ(right(pnode)->usCtrlType, NODE_T_INT);
  zornodeDestroy(pnode);

  /* VALUE of a constant first argument is that constant: the rest of the chain goes */
  pnode = op(NODE_VAL_OP, I(5), op(NODE_CONT_VAL_OP, C("ID"), nullptr));
  ASSERT_EQ(walk(pnode), 0);
  EXPECT_EQ(pnode->pRight, nullptr);
  EXPECT_EQ(pnode->usCtrlType, NODE_T_INT);
  zornodeDestroy(pnode);

  /* CHAR(NAME, 20) keeps the length as a value; DAYOFMONTH is checked as DAY */
  pnode = op(NODE_CHR_OP, C("NAME"), I(20));
  ASSERT_EQ(walk(pnode), 0);
  EXPECT_EQ(pnode->usStatus & NODE_RIGHT_NOT, NODE_RIGHT_NOT);
  EXPECT_EQ(zornodeRightValue(pnode), 20u << 16);
  zornodeDestroy(pnode);
  pnode = op(NODE_DAYOFMONTH_OP, C("STAMP"), nullptr);
  ASSERT_EQ(walk(pnode), 0);
  EXPECT_EQ(pnode->sCode, NODE_DAY_OP);
  zornodeDestroy(pnode);
}

TEST_F(Check, CharOfADateTakesItsFormat)
{
  struct {
    const char *pcDecpdate;
    uintptr_t ulKeyword;   /* 0: none */
    uintptr_t ulFormat;
  } cases[] = {
      {"USA  ", 0, 1}, {"EUR  ", 0, 2}, {"JIS  ", 0, 3}, {"XYZ  ", 0, 0}, {"USA  ", 0xC9E2D6, 0}, {"ISO  ", 0xC5E4D9, 2},
  };
  for (auto &c : cases) {
    DecpDate date(c.pcDecpdate);
    zornode *pnode = c.ulKeyword != 0 ? valued(NODE_CHR_OP, C("HIRED"), c.ulKeyword) : op(NODE_CHR_OP, C("HIRED"), nullptr);
    EXPECT_EQ(walk(pnode), 0);
    EXPECT_EQ(zornodeRightValue(pnode), c.ulFormat) << c.pcDecpdate << " " << c.ulKeyword;
    EXPECT_EQ(pnode->usStatus & NODE_RIGHT_NOT, NODE_RIGHT_NOT);
    zornodeDestroy(pnode);
  }
}

TEST_F(Check, ExternalTypesOfArithmetic)
{
  /* YEAR() computes DECIMAL(4,0) and returns INTEGER: so does YEAR() + 1 */
  zornode *pnode = op(NODE_PLS_OP, op(NODE_YEA_OP, C("HIRED"), nullptr), I(1));
  ASSERT_EQ(walk(pnode), 0);
  EXPECT_EQ(pnode->usCtrlType, NODE_T_VDEC);
  EXPECT_EQ(pnode->usLength, 0x0c00);
  EXPECT_EQ(pnode->usExtType, NODE_T_VINT);
  EXPECT_EQ(pnode->usExtLength, 4);
  zornodeDestroy(pnode);

  /* 15-digit rules: PRICE + 1 gives DECIMAL(14,2) under both limits */
  pnode = op(NODE_PLS_OP, C("PRICE"), I(1));
  ASSERT_EQ(walk(pnode), 0);
  EXPECT_EQ(pnode->usExtType, NODE_T_VDEC);
  EXPECT_EQ(pnode->usExtLength, 0x0e02);
  zornodeDestroy(pnode);

  /* a division whose 15-digit scale would be negative gets scale 0 */
  pnode = op(NODE_DIV_OP, DC("1", 15, 0), DC("1", 5, 3));
  ASSERT_EQ(walk(pnode), 0);
  EXPECT_EQ(pnode->usLength, 0x1f0d);
  EXPECT_EQ(pnode->usExtLength, 0x0f00);
  zornodeDestroy(pnode);

  /* beyond 15 digits the external length has no scale */
  pnode = op(NODE_MLT_OP, DC("1", 20, 2), I(2));
  ASSERT_EQ(walk(pnode), 0);
  EXPECT_EQ(pnode->usLength, 0x1f02);
  EXPECT_EQ(pnode->usExtType, NODE_T_VDEC);
  EXPECT_EQ(pnode->usExtLength & 0xFF, 0);
  zornodeDestroy(pnode);
}

/* ------------------------------------------------------------- refusals */

TEST_F(Check, RefusedTreesReportWhereTheyFail)
{
  struct {
    const char *pcCase;
    std::function<zornode *()> build;
    int rc;
    std::vector<std::string> vMessages;
  } cases[] = {
      {"A = 1 AND ID = 2",
       [] { return op(NODE_AND_OP, op(NODE_EQU_OP, C("A", 3), I(1), 5), op(NODE_EQU_OP, C("ID"), I(2), 11), 9); },
       ZORNODE_RC_BADOPERAND,
       {item(3), "ZORU024E COLUMN A IS NOT PART OF THE TABLE .\n", item(5), bad("="), item(9), bad("AND")}},
      {"HIRED = '2024-13-05'", [] { return op(NODE_EQU_OP, C("HIRED"), S("2024-13-05"), 7); }, ZORNODE_RC_BADOPERAND,
       {item(7), bad("=")}},
      {"HIRED = START", [] { return op(NODE_EQU_OP, C("HIRED"), C("START"), 7); }, ZORNODE_RC_BADOPERAND,
       {item(7), bad("=")}},
      {"HIRED + DEC(5,0)", [] { return op(NODE_PLS_OP, C("HIRED"), DC("1", 5, 0), 6); }, ZORNODE_RC_BADOPERAND,
       {item(6), bad("+")}},
      {"HIRED + 1", [] { return op(NODE_PLS_OP, C("HIRED"), I(1), 6); }, ZORNODE_RC_BADOPERAND, {item(6), bad("+")}},
      {"NAME * 2", [] { return op(NODE_MLT_OP, C("NAME"), I(2), 6); }, ZORNODE_RC_BADOPERAND, {item(6), bad("*")}},
      {"ID IN (1, PRICE)", [] { return IN(C("ID"), {I(1), C("PRICE", 14)}, 4); }, ZORNODE_RC_BADLIST,
       {item(14), "ZORU037E IN() CLAUSE MUST CONTAINS CONSTANTS ONLY\n"}},
      {"NAME IN ('A', 1)", [] { return IN(C("NAME"), {S("A"), at(I(1), 15)}, 6); }, ZORNODE_RC_BADLIST,
       {item(15), "ZORU065E INCONSISTANT PARAMETER LIST\n"}},
      {"ID IN ('A')", [] { return IN(C("ID"), {S("A", 9)}, 4); }, ZORNODE_RC_BADLIST,
       {item(9), "ZORU065E INCONSISTANT PARAMETER LIST\n"}},
      {"HIRED IN ('2024-02-30')", [] { return IN(C("HIRED"), {S("2024-02-30", 12)}, 7); }, ZORNODE_RC_BADLIST,
       {item(12), "ZORU065E INCONSISTANT PARAMETER LIST\n"}},
      {"ID IN ()", [] { return IN(C("ID"), {}, 4); }, ZORNODE_RC_NOLIST, {item(4), "ZORU036E MISSING PARAMTERS FOR IN()\n"}},
      {"CASE ... THEN NULL ELSE NULL",
       [] {
         return CASE(op(NODE_EQU_OP, C("ID"), I(1)), zornodeCreateNull(nullptr, nullptr),
                     zornodeCreateNull(nullptr, nullptr), 2);
       },
       ZORNODE_RC_BADOPERAND, {item(2), "ZORU078E CASE STATEMENT CANNOT CONTAIN ONLY NULL EXPRESSION\n"}},
      {"CASE ... THEN NAME ELSE ID", [] { return CASE(op(NODE_EQU_OP, C("ID"), I(1)), C("NAME"), C("ID"), 2); },
       ZORNODE_RC_CASETYPES, {item(2), bad("IF")}},
      {"CASE ... THEN 'x' ELSE HIRED", [] { return CASE(op(NODE_EQU_OP, C("ID"), I(1)), S("x"), C("HIRED"), 2); },
       ZORNODE_RC_NOTDATE, {item(2), bad("IF")}},
      {"CHAR(NAME, 300)", [] { return op(NODE_CHR_OP, C("NAME"), at(I(300), 12), 1); }, ZORNODE_RC_CHRRANGE,
       {item(12), "ZORU035E OUT OF RANGE  (1-255)\n"}},
      {"CHAR(NAME, 'x')", [] { return op(NODE_CHR_OP, C("NAME"), S("x", 12), 1); }, ZORNODE_RC_CHRLENGTH,
       {item(12), bad("CHAR()")}},
      {"CHAR(NAME, ISO)", [] { return valued(NODE_CHR_OP, C("NAME"), 0xC9E2D6, 1); }, ZORNODE_RC_CHROPERAND,
       {item(1), bad("CHAR()")}},
      {"CHAR(PRICE)", [] { return op(NODE_CHR_OP, C("PRICE"), nullptr, 1); }, ZORNODE_RC_BADOPERAND,
       {item(1), bad("CHAR()")}},
      {"SUBSTR(ID, 1)", [] { return op(NODE_SUBSTR_OP, C("ID", 8), op(NODE_CONT_VAL_OP, I(1), nullptr), 1); },
       ZORNODE_RC_BADOPERAND, {item(8), bad("SUBSTR()")}},
      {"SUBSTR(NAME, 'x')", [] { return op(NODE_SUBSTR_OP, C("NAME"), op(NODE_CONT_VAL_OP, S("x", 14), nullptr), 1); },
       ZORNODE_RC_BADOPERAND, {item(14), bad("SUBSTR()")}},
      {"SUBSTR(NAME) without parameters", [] { return op(NODE_SUBSTR_OP, C("NAME"), nullptr, 1); },
       ZORNODE_RC_BADOPERAND, {"ZOR0666F FATAL ERROR : SUBSTR() INTERNAL MISSING PARAM\n"}},
      {"SUBSTR(NAME, 12) of a CHAR(10)",
       [] { return op(NODE_SUBSTR_OP, C("NAME"), op(NODE_CONT_VAL_OP, at(I(12), 14), nullptr), 1); },
       ZORNODE_RC_BADOPERAND, {item(14), bad("SUBSTR()")}},
      {"HIRED + 3 HOURS", [] { return DUR(C("HIRED"), I(3), ZORNODE_DUR_HOUR, 7); }, ZORNODE_RC_DURUNIT,
       {item(7), bad("DUREE")}},
      {"DATE(STAMP) + 3 HOURS",
       [] { return DUR(op(NODE_DTE_OP, C("STAMP"), nullptr), I(3), ZORNODE_DUR_HOUR, 7); }, ZORNODE_RC_DURUNIT,
       {item(7), bad("DUREE")}},
      {"START + 1 DAY", [] { return DUR(C("START"), I(1), ZORNODE_DUR_DAY, 7); }, ZORNODE_RC_DURUNIT,
       {item(7), bad("DUREE")}},
      {"HIRED + NAME DAYS", [] { return DUR(C("HIRED"), C("NAME", 9), ZORNODE_DUR_DAY, 7); }, ZORNODE_RC_BADOPERAND,
       {item(9), bad("DUREE"), item(7), bad("DUREE")}},
      {"DOC = 5 (a CLOB is no number)", [] { return op(NODE_EQU_OP, C("DOC"), I(5), 5); }, ZORNODE_RC_BADOPERAND,
       {item(5), bad("=")}},
      {"NAME LIKE 'A!x' ESCAPE '!'",
       [] { return op(NODE_LIKE_OP, C("NAME"), op(NODE_LIKE_ESC_OP, S("A!x"), S("!")), 6); }, ZORNODE_RC_LIKE,
       {item(6), bad("LIKE")}},
      {"NAME LIKE 5", [] { return op(NODE_LIKE_OP, C("NAME"), I(5), 6); }, ZORNODE_RC_LIKE, {item(6), bad("LIKE")}},
      {"ID LIKE 'A%'", [] { return op(NODE_LIKE_OP, C("ID"), S("A%"), 6); }, ZORNODE_RC_BADOPERAND,
       {item(6), bad("LIKE")}},
      {"5 IS NULL", [] { return op(NODE_IS_OP, I(5), nullptr, 3); }, ZORNODE_RC_BADOPERAND, {item(3), bad("IS")}},
      {"NOT ID", [] { return op(NODE_NOT_OP, C("ID"), nullptr, 1); }, ZORNODE_RC_BADOPERAND, {item(1), bad("NOT")}},
      {"VALUE(ID, NAME)", [] { return op(NODE_VAL_OP, C("ID", 9), op(NODE_CONT_VAL_OP, C("NAME", 11), nullptr), 1); },
       ZORNODE_RC_BADLIST, {item(9), "ZORU065E INCONSISTANT PARAMETER LIST\n"}},
      {"DECIMAL(ID, 5, 5)", [] { return valued(NODE_DEC_OP, C("ID"), 0x0505, 1); }, ZORNODE_RC_BADOPERAND,
       {item(1), bad("DECIMAL()")}},
      {"HEX(DOC)", [] { return op(NODE_HEX_OP, C("DOC", 5), nullptr, 1); }, ZORNODE_RC_BADOPERAND,
       {item(5), bad("HEX()")}},
      {"a DIFFTEMPS node (made by the check)", [] { return op(NODE_DIFFTEMPS_OP, C("HIRED"), C("BIRTH")); },
       ZORNODE_RC_BADOPERAND, {"ZOR0666F FATAL ERROR : UNKNOWN OPERATOR TYPE\n\n"}},
  };
  /* a column the table does not have is left unresolved, with code 0 */
  zornode *pnode = op(NODE_EQU_OP, C("A"), I(1));
  walk(pnode);
  EXPECT_EQ(left(pnode)->sCode, 0);
  EXPECT_EQ(static_cast<zorcol *>(left(pnode)->pLeft)->iType, 0);
  zornodeDestroy(pnode);

  for (auto &c : cases) {
    pnode = c.build();
    EXPECT_EQ(walk(pnode), c.rc) << c.pcCase;
    EXPECT_EQ(vMessages, c.vMessages) << c.pcCase;
    EXPECT_EQ(pnode->usCtrlType, NODE_T_INC) << c.pcCase;
    zornodeDestroy(pnode);
  }
}

TEST_F(Check, SilentFailuresLeaveTheParentToReport)
{
  /* these functions fail without a message of their own: the comparison above reports */
  struct {
    const char *pcCase;
    std::function<zornode *()> build;
  } cases[] = {
      {"DATE(ID)", [] { return op(NODE_DTE_OP, C("ID"), nullptr); }},
      {"TIME(HIRED)", [] { return op(NODE_TME_OP, C("HIRED"), nullptr); }},
      {"NAME CONCAT a graphic constant", [] {
         ochar *pchar = ocharCreate(0, 1200);
         ocharAppendFixedS(pchar, "\0A\0B", 4);
         zornode *pgraphic = zornodeCreateLitteral(pchar, nullptr, nullptr);
         ocharDestroy(pchar);
         return op(NODE_CONCAT_OP, C("NAME"), pgraphic);
       }},
      {"TRUNCATE(PRICE, 1)", [] { return op(NODE_TRUNC_OP, C("PRICE"), I(1)); }},
      {"CEIL(BIG)", [] { return op(NODE_CEIL_OP, C("BIG"), nullptr); }},
  };
  for (auto &c : cases) {
    zornode *pfn = c.build();
    zornode *pnode = op(NODE_EQU_OP, pfn, I(1), 4);
    walk(pnode);
    EXPECT_EQ(pfn->usCtrlType, NODE_T_INC) << c.pcCase;
    EXPECT_EQ(vMessages, (std::vector<std::string>{item(4), bad("=")})) << c.pcCase;
    zornodeDestroy(pnode);
  }
}

TEST_F(Check, NullChainTypesColumnsFromTheirDescriptors)
{
  zorcol *pcol = zorcolCreate(str850("X"), 1, nullptr, ZORCOL_VAR | ZORCOL_NULL);
  pcol->iType = ZORCOL_T_VARCHAR;
  pcol->iSubType = 12;
  pcol->sCCSID = 850;
  zornode *pnode = zornodeCreate(ZORNODE_VAR, NODE_CTUNK, pcol, nullptr, 0, nullptr, nullptr);
  int rc = -1;
  vMessages = zavtestMessages([&] { rc = zornodeCheckExpression(pnode, nullptr); });
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(pnode->sCode, NODE_CTVCH);
  EXPECT_EQ(pnode->usCtrlType, NODE_T_VVCH);
  EXPECT_EQ(pnode->usLength, 12);
  EXPECT_EQ(pnode->usStatus & (NODE_NULLABLE | NODE_VARIABLE_LENGHT), NODE_NULLABLE | NODE_VARIABLE_LENGHT);
  EXPECT_EQ(pnode->usPadChar, ' ');
  EXPECT_EQ(pnode->procEval, _zornodeEvalProc_LoadVar);
  zornodeDestroy(pnode);
}

/* ------------------------------------------------------------------ LIKE */

TEST_F(Check, LikePatternsCompileToTokens)
{
  auto tokens = [](std::initializer_list<std::pair<int, std::string>> l) {
    std::string str;
    for (auto &t : l) {
      int16_t s = static_cast<int16_t>(t.first);
      str.append(reinterpret_cast<const char *>(&s), 2);
      str += t.second;
    }
    return str;
  };
  struct {
    const char *pcPattern;
    const char *pcEscape;   /* NULL: no ESCAPE */
    std::string strTokens;
  } cases[] = {
      {"AB%_\\_", "\\", tokens({{2, "AB"}, {0, ""}, {-1, ""}, {1, "_"}})},
      {"%%%x___", nullptr, tokens({{0, ""}, {1, "x"}, {-3, ""}})},
      {"a!%b!!", "!", tokens({{4, "a%b!"}})},
      {"", nullptr, ""},
  };
  for (auto &c : cases) {
    zornode *ppattern = S(c.pcPattern);
    zornode *pright = c.pcEscape != nullptr ? op(NODE_LIKE_ESC_OP, ppattern, S(c.pcEscape)) : ppattern;
    zornode *pnode = op(NODE_LIKE_OP, C("NAME"), pright);
    ASSERT_EQ(walk(pnode), 0) << c.pcPattern;
    const zornode *ptokens = right(pnode);
    ASSERT_EQ(ptokens->sKind, ZORNODE_CSTE);
    EXPECT_EQ(ptokens->usCtrlType, NODE_T_CHN);
    EXPECT_EQ(ptokens->sCCSID, 850);
    EXPECT_EQ(ptokens->usLength, c.strTokens.size()) << c.pcPattern;
    const unsigned char *puc = static_cast<const unsigned char *>(ptokens->pLeft);
    EXPECT_EQ(obyteGetLE16(puc), c.strTokens.size());
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(puc + 2), c.strTokens.size()), c.strTokens) << c.pcPattern;
    zornodeDestroy(pnode);
  }
}

/* --------------------------------------------------------------- binding */

TEST_F(Check, OperatorsWithoutProcedureAreReported)
{
  /* LIKE checks, then finds no procedure: the root keeps its type, its procedure is cleared */
  zornode *pnode = op(NODE_LIKE_OP, C("NAME"), S("A%"));
  EXPECT_EQ(check(pnode), ZORNODE_RC_NOPROC);
  EXPECT_TRUE(vMessages.empty());
  EXPECT_EQ(pnode->usCtrlType, NODE_T_BOOL);
  EXPECT_EQ(pnode->procEval, nullptr);
  EXPECT_EQ(left(pnode)->procEval, _zornodeEvalProc_LoadVar);
  EXPECT_EQ(right(pnode)->procEval, _zornodeEvalProc_LoadCste);
  zornodeDestroy(pnode);

  struct {
    const char *pcCase;
    std::function<zornode *()> build;
    int rc;
  } cases[] = {
      {"ID IN (1, 2)", [] { return IN(C("ID"), {I(1), I(2)}); }, ZORNODE_RC_NOPROC},
      {"CASE", [] { return op(NODE_EQU_OP, CASE(op(NODE_EQU_OP, C("ID"), I(1)), I(1), I(2)), I(1)); },
       ZORNODE_RC_NOPROC},
      {"ID = 1 AND NAME CONCAT 'x' = 'y'",
       [] {
         return op(NODE_AND_OP, op(NODE_EQU_OP, C("ID"), I(1)),
                   op(NODE_EQU_OP, op(NODE_CONCAT_OP, C("NAME"), S("x")), S("y")));
       },
       ZORNODE_RC_NOPROC},
      {"ID + 1 = 2 OR NOT BIRTH IS NULL",
       [] {
         return op(NODE_OR_OP, op(NODE_EQU_OP, op(NODE_PLS_OP, C("ID"), I(1)), I(2)),
                   op(NODE_NOT_OP, op(NODE_IS_OP, C("BIRTH"), nullptr), nullptr));
       },
       0},
      {"YEAR(HIRED) = 2024", [] { return op(NODE_EQU_OP, op(NODE_YEA_OP, C("HIRED"), nullptr), I(2024)); },
       ZORNODE_RC_NOPROC},
  };
  for (auto &c : cases) {
    pnode = c.build();
    EXPECT_EQ(check(pnode), c.rc) << c.pcCase;
    EXPECT_EQ(pnode->usCtrlType, NODE_T_BOOL) << c.pcCase;
    zornodeDestroy(pnode);
  }
}

TEST_F(Check, ColumnsOfAnotherCodePageAreConvertedAndNotEvaluated)
{
  ASSERT_EQ(ocnvftCreateGlobal(nullptr, 'A', 0x80, 37, 0, 1200, 850, 1208, 1200, 850, 1208, 1202, 850, 1208, 1200), 0);
  /* the 1208 column dominates; the 850 column is wrapped, and CONVERSION is no evaluable operator */
  zornode *pnode = op(NODE_EQU_OP, C("NAME"), C("UNAME"));
  EXPECT_EQ(check(pnode), ZORNODE_RC_NOPROC);
  EXPECT_EQ(pnode->usCtrlType, NODE_T_BOOL);
  EXPECT_EQ(left(pnode)->sCode, NODE_CONVERSION_OP);
  EXPECT_EQ(left(pnode)->sCCSID, 1208);
  zornodeDestroy(pnode);
  /* a constant is converted in place: the comparison stays evaluable */
  pnode = op(NODE_EQU_OP, C("UNAME"), S("abc"));
  EXPECT_EQ(check(pnode), 0);
  EXPECT_EQ(right(pnode)->sCCSID, 1208);
  EXPECT_EQ(pnode->procEval, _zornodeEvalProc_EQU_OP_CHAR);
  zornodeDestroy(pnode);
  ocnvftDestroy(gpcnvft);
}

/* ------------------------------------------------------------ evaluation */

namespace {

/* Record layout of the test table: offset and null offset (-1 none) of each column in the row. */
const struct {
  int16_t sOffset;
  int16_t sNull;
} gaLayout[T_COUNT] = {
    {0, -1},    /* ID */
    {4, -1},    /* QTY */
    {6, 10},    /* PRICE DECIMAL(7,2): 4 bytes */
    {11, -1},   /* NAME CHAR(10) */
    {21, 25},   /* DESCR VARCHAR: offset and length words */
    {26, -1},   /* HIRED */
    {30, 34},   /* BIRTH */
    {35, -1},   /* START */
    {38, -1},   /* STAMP */
    {48, -1},   /* RATE */
    {56, -1},   /* BIG */
    {64, 68},   /* DOC */
    {69, -1},   /* UNAME */
};
const int ROW_FIXED = 79;

unsigned char bcd(int i) { return static_cast<unsigned char>((i / 10) * 16 + i % 10); }

}  // namespace

class CheckEval : public Check {
 public:
  std::vector<unsigned char> row;

 protected:
  rowColDef adef[T_COUNT] = {};
  rowColDef *apdef[T_COUNT] = {};
  zornodeEvalContext *pctx = nullptr;

  void SetUp() override
  {
    Check::SetUp();
    for (int i = 0; i < T_COUNT; i++) {
      adef[i].iType = gaTable[i].iType;
      adef[i].iLength = gaTable[i].iSubType;
      adef[i].sOffset = gaLayout[i].sOffset;
      adef[i].sNullOffset = gaLayout[i].sNull;
      apdef[i] = &adef[i];
    }
    pctx = zornodeEvalCreate(8);
    ASSERT_NE(pctx, nullptr);
    resetRow();
  }
  void TearDown() override
  {
    opoolDelete(&pctx->pool);
    std::free(pctx);
    Check::TearDown();
  }

 public:
  /* A record of zeros and present values: NAME blank, HIRED 2024-03-05, BIRTH 2000-01-01, DESCR empty. */
  void resetRow()
  {
    row.assign(ROW_FIXED, 0);
    std::memset(&row[gaLayout[T_NAME].sOffset], ' ', 10);
    setDate(T_HIRED, 2024, 3, 5);
    setDate(T_BIRTH, 2000, 1, 1);
    setDate(T_STAMP, 2024, 3, 5);
    setVar("");
  }
  void setInt(int iCol, int32_t i)
  {
    if (iCol == T_QTY) obytePutLE16(&row[4], static_cast<uint16_t>(i));
    else obytePutLE32(&row[static_cast<size_t>(gaLayout[iCol].sOffset)], static_cast<uint32_t>(i));
  }
  void setPrice(const std::string &str)
  {
    std::vector<unsigned char> v = packDecimal(str, 7, 2);
    std::memcpy(&row[6], v.data(), v.size());
  }
  void setNull(int iCol, bool bo) { row[static_cast<size_t>(gaLayout[iCol].sNull)] = bo ? 1 : 0; }
  void setName(const std::string &str)
  {
    std::memset(&row[11], ' ', 10);
    std::memcpy(&row[11], str.data(), str.size());
  }
  void setVar(const std::string &str)
  {
    row.resize(ROW_FIXED);
    obytePutLE16(&row[21], static_cast<uint16_t>(ROW_FIXED));
    obytePutLE16(&row[23], static_cast<uint16_t>(str.size()));
    row.insert(row.end(), str.begin(), str.end());
  }
  void setDate(int iCol, int iYear, int iMonth, int iDay)
  {
    unsigned char *puc = &row[static_cast<size_t>(gaLayout[iCol].sOffset)];
    puc[0] = bcd(iYear / 100);
    puc[1] = bcd(iYear % 100);
    puc[2] = bcd(iMonth);
    puc[3] = bcd(iDay);
  }

  /* Checks a WHERE tree (it must bind) and binds its columns to the layout. */
  zornode *where(zornode *pnode)
  {
    EXPECT_EQ(check(pnode), 0);
    EXPECT_TRUE(vMessages.empty()) << (vMessages.empty() ? "" : vMessages[0]);
    EXPECT_EQ(pnode->usCtrlType, NODE_T_BOOL);
    EXPECT_EQ(zornodeSubstituteVar(pnode, apdef), 0);
    return pnode;
  }
  int eval(zornode *pnode)
  {
    pctx->pcRow = reinterpret_cast<const char *>(row.data());
    return zornodeEvalBool(pctx, pnode);
  }
};

TEST_F(CheckEval, CheckedTreesEvaluateOnRecords)
{
  struct {
    const char *pcCase;
    std::function<zornode *()> build;
    std::function<void(CheckEval *)> set;
    int iResult;
  } cases[] = {
      {"PRICE * 1.5 > 15 with 10.50", [] { return op(NODE_SUP_OP, op(NODE_MLT_OP, C("PRICE"), DC("1.5", 2, 1)), I(15)); },
       [](CheckEval *p) { p->setPrice("10.50"); }, 1},
      {"PRICE * 1.5 > 15 with 9.99", [] { return op(NODE_SUP_OP, op(NODE_MLT_OP, C("PRICE"), DC("1.5", 2, 1)), I(15)); },
       [](CheckEval *p) { p->setPrice("9.99"); }, 0},
      {"PRICE * 1.5 > 15 with PRICE NULL",
       [] { return op(NODE_SUP_OP, op(NODE_MLT_OP, C("PRICE"), DC("1.5", 2, 1)), I(15)); },
       [](CheckEval *p) { p->setNull(T_PRICE, true); }, 0},
      {"QTY + 1 = 5 with QTY 4", [] { return op(NODE_EQU_OP, op(NODE_PLS_OP, C("QTY"), I(1)), I(5)); },
       [](CheckEval *p) { p->setInt(T_QTY, 4); }, 1},
      {"QTY + 1 = 5 with QTY -4", [] { return op(NODE_EQU_OP, op(NODE_PLS_OP, C("QTY"), I(1)), I(5)); },
       [](CheckEval *p) { p->setInt(T_QTY, -4); }, 0},
      {"ID BETWEEN 3 AND 7 with 7",
       [] { return op(NODE_AND_OP, op(NODE_SEG_OP, C("ID"), I(3)), op(NODE_IEG_OP, C("ID"), I(7))); },
       [](CheckEval *p) { p->setInt(T_ID, 7); }, 1},
      {"ID <> 7 with 7", [] { return op(NODE_DIFF_OP, C("ID"), I(7)); }, [](CheckEval *p) { p->setInt(T_ID, 7); }, 0},
      {"NAME = 'abc' (blank-padded)", [] { return op(NODE_EQU_OP, C("NAME"), S("abc")); },
       [](CheckEval *p) { p->setName("abc"); }, 1},
      {"DESCR >= 'abd' with 'abc'", [] { return op(NODE_SEG_OP, C("DESCR"), S("abd")); },
       [](CheckEval *p) { p->setVar("abc"); }, 0},
      {"HIRED = '03/05/2024'", [] { return op(NODE_EQU_OP, C("HIRED"), S("03/05/2024")); }, [](CheckEval *) {}, 1},
      {"'2024-03-06' > HIRED", [] { return op(NODE_SUP_OP, S("2024-03-06"), C("HIRED")); }, [](CheckEval *) {}, 1},
      {"HIRED - BIRTH = 240204", [] { return op(NODE_EQU_OP, op(NODE_MNS_OP, C("HIRED"), C("BIRTH")), DC("240204", 8, 0)); },
       [](CheckEval *) {}, 1},
      {"HIRED + DEC(8,0) 00000100 = '2024-04-05'",
       [] { return op(NODE_EQU_OP, op(NODE_PLS_OP, C("HIRED"), DC("100", 8, 0)), S("2024-04-05")); },
       [](CheckEval *) {}, 1},
      {"HIRED - 1 YEAR = '2023-03-05'",
       [] { return op(NODE_EQU_OP, DUR(C("HIRED"), I(1), ZORNODE_DUR_YEAR | ZORNODE_DUR_SUBTRACT), S("2023-03-05")); },
       [](CheckEval *) {}, 1},
      {"HIRED + 2.9 DAYS = '2024-03-07'",
       [] { return op(NODE_EQU_OP, DUR(C("HIRED"), DC("2.9", 2, 1), ZORNODE_DUR_DAY), S("2024-03-07")); },
       [](CheckEval *) {}, 1},
      {"DATE('2024-03-05') = HIRED", [] { return op(NODE_EQU_OP, op(NODE_DTE_OP, S("2024-03-05"), nullptr), C("HIRED")); },
       [](CheckEval *) {}, 1},
      {"HIRED < CURRENT DATE", [] { return op(NODE_INF_OP, C("HIRED"), zornodeCreateCurrent(NODE_CTDTE)); },
       [](CheckEval *) {}, 1},
      {"STAMP = '2024-03-05-00.00.00'", [] { return op(NODE_EQU_OP, C("STAMP"), S("2024-03-05-00.00.00")); },
       [](CheckEval *) {}, 1},
      {"BIRTH IS NULL with NULL", [] { return op(NODE_IS_OP, C("BIRTH"), nullptr); },
       [](CheckEval *p) { p->setNull(T_BIRTH, true); }, 1},
      {"NOT BIRTH IS NULL with a date", [] { return op(NODE_NOT_OP, op(NODE_IS_OP, C("BIRTH"), nullptr), nullptr); },
       [](CheckEval *) {}, 1},
      {"ID + BIG = 5", [] { return op(NODE_EQU_OP, op(NODE_PLS_OP, C("ID"), C("BIG")), I(5)); },
       [](CheckEval *p) {
         p->setInt(T_ID, 2);
         obytePutLE64(&p->row[56], 3);
       },
       1},
      {"INTEGER(RATE) = 2 with 2.75", [] { return op(NODE_EQU_OP, op(NODE_INT_OP, C("RATE"), nullptr), I(2)); },
       [](CheckEval *p) {
         double d = 2.75;
         uint64_t u;
         std::memcpy(&u, &d, 8);
         obytePutLE64(&p->row[48], u);
       },
       1},
  };
  for (auto &c : cases) {
    zornode *pnode = where(c.build());
    c.set(this);
    EXPECT_EQ(eval(pnode), c.iResult) << c.pcCase;
    zornodeDestroy(pnode);
    resetRow();
  }
}

/* --------------------------------------------------------- custom types */

namespace {

zorcol *columnOver(zornode *pnodeExpr)
{
  zorcol *pcol = zorcolCreate(str850("C"), 1, pnodeExpr, 0);
  int rc = zornodeCheckExpression(pnodeExpr, nullptr);
  (void)rc;
  return pcol;
}

}  // namespace

TEST_F(Check, CustomTypeSubstitution)
{
  /* numeric results: the internal type id, length 0 when asked */
  struct {
    int32_t ilRequest;
    int32_t ilType;
    int32_t ilLength;
  } numeric[] = {
      {ZORCOL_CUSTOM_DECIMAL | ZORCOL_CUSTOM_NUMBER, ZORCOL_T_DECIMAL, 0x0902},
      {ZORCOL_CUSTOM_DECIMAL | ZORCOL_CUSTOM_NUMBER | ZORCOL_CUSTOM_NOLEN, ZORCOL_T_DECIMAL, 0},
      {ZORCOL_CUSTOM_INTEGER | ZORCOL_CUSTOM_NUMBER, ZORCOL_T_INTEGER, 0x0902},
      {ZORCOL_CUSTOM_FLOAT | ZORCOL_CUSTOM_NUMBER | ZORCOL_CUSTOM_NOLEN, ZORCOL_T_REAL, 0},
      {ZORCOL_CUSTOM_DECIMAL | ZORCOL_CUSTOM_INTEGER | ZORCOL_CUSTOM_NUMBER, ZORCOL_T_DECIMAL, 0x0902},
  };
  for (auto &c : numeric) {
    zorcol *pcol = columnOver(I(1));
    zorcolCustomType target = {c.ilRequest, 0x0902};
    EXPECT_EQ(zorcolSubstituteCustomType(pcol, &target), 0);
    EXPECT_EQ(target.ilRequest, c.ilType);
    EXPECT_EQ(target.ilLength, c.ilLength);
    zorcolDestroy(pcol);
  }

  /* a DECIMAL(9,2) expression of the precision asked for becomes CHAR(11) as it is */
  zorcol *pcol = columnOver(DC("1", 9, 2));
  zornode *pnodeExpr = pcol->pnodeExpr;
  zorcolCustomType target = {ZORCOL_CUSTOM_DECIMAL | ZORCOL_CUSTOM_CHAR, 0x0902};
  EXPECT_EQ(zorcolSubstituteCustomType(pcol, &target), 0);
  EXPECT_EQ(target.ilRequest, ZORCOL_T_CHAR);
  EXPECT_EQ(target.ilLength, 11);
  EXPECT_EQ(pcol->pnodeExpr, pnodeExpr);
  zorcolDestroy(pcol);

  /* a DOUBLE expression asked for as an integer is wrapped in INTEGER() */
  pcol = columnOver(D(2.5));
  target = {ZORCOL_CUSTOM_INTEGER | ZORCOL_CUSTOM_CHAR, 0};
  EXPECT_EQ(zorcolSubstituteCustomType(pcol, &target), 0);
  EXPECT_EQ(target.ilRequest, ZORCOL_T_CHAR);
  EXPECT_EQ(target.ilLength, 4);
  ASSERT_EQ(pcol->pnodeExpr->sCode, NODE_INT_OP);
  EXPECT_EQ(pcol->pnodeExpr->usCtrlType, NODE_T_VINT);
  EXPECT_NE(pcol->pnodeExpr->procEval, nullptr);
  zorcolDestroy(pcol);

  /* DECIMAL() has no evaluation procedure: the check's result comes back, the expression is unwrapped */
  pcol = columnOver(I(7));
  pnodeExpr = pcol->pnodeExpr;
  target = {ZORCOL_CUSTOM_DECIMAL | ZORCOL_CUSTOM_CHAR, 0x0902};
  EXPECT_EQ(zorcolSubstituteCustomType(pcol, &target), ZORNODE_RC_NOPROC);
  EXPECT_EQ(pcol->pnodeExpr, pnodeExpr);
  EXPECT_EQ(target.ilRequest, ZORCOL_CUSTOM_DECIMAL | ZORCOL_CUSTOM_CHAR);
  zorcolDestroy(pcol);
}
