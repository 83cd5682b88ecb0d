/*
** zordyacc_test.cpp
**   The SQL grammar end to end: texts are lexed over aplexContextDefDb2 and
**   parsed by zordyyparse; every result (atoms, column chains, expression
**   trees, view tasks) is written out in a compact text form and compared
**   with the expected text, together with the result code, the error level,
**   the parse status and the messages (deferred, then exported).  A seeded
**   mutation loop runs the lexer and the parser over broken texts.
*/
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "common/ochaine.h"
#include "common/ochar.h"
#include "common/olex.h"
#include "common/olist.h"
#include "common/omsgs.h"
#include "common/ostack.h"
#include "common/ostream.h"
#include "common/oyacc.h"
#include "control/zordlex.h"
#include "control/zordyacc.h"
#include "control/zortokens.h"
#include "model/token.h"
#include "model/zoratom.h"
#include "model/zortask.h"
#include "expr/zorcol.h"
#include "expr/zornode.h"

namespace {

/* ------------------------------------------------------ compact printing */

std::string Text(const ochar *pchar)
{
  if (pchar == nullptr) return "<none>";
  return std::string(_charText(pchar), static_cast<size_t>(pchar->ilBU));
}

std::string Hex(uintptr_t ul)
{
  char ac[32];
  std::snprintf(ac, sizeof ac, "#0x%" PRIxPTR, ul);
  return ac;
}

std::string OperatorName(int iCode)
{
  if (iCode == NODE_LIKE_ESC_OP) return "LIKE_ESC";
  if (iCode == NODE_DAYOFMONTH_OP) return "DAYOFMONTH";
  std::string name = zornodeGetOperatorName(iCode);
  if (name.rfind("NODE_", 0) == 0) name = name.substr(5);
  if (name.size() > 3 && name.compare(name.size() - 3, 3, "_OP") == 0) name.resize(name.size() - 3);
  return name;
}

/* DECIMAL constant block: precision, scale, 16 packed bytes right-aligned. */
std::string Decimal(const unsigned char *pc)
{
  int iPrecision = pc[0], iScale = pc[1];
  std::string digits;
  for (int i = 31 - iPrecision; i < 31; i++) {
    unsigned char b = pc[2 + i / 2];
    digits += static_cast<char>('0' + ((i % 2) == 0 ? b >> 4 : b & 0xF));
  }
  if (iScale > 0) digits.insert(digits.size() - static_cast<size_t>(iScale), ".");
  return ((pc[17] & 0xF) == 0xD ? "-" : "") + digits + "D";
}

std::string Node(const zornode *pnode);

std::string Constant(const zornode *pnode)
{
  const unsigned char *pc = static_cast<const unsigned char *>(pnode->pLeft);
  switch (pnode->sCode) {
    case NODE_CTINT: {
      int32_t i;
      std::memcpy(&i, pc, 4);
      return std::to_string(i);
    }
    case NODE_CTBIG: {
      int64_t ll;
      std::memcpy(&ll, pc, 8);
      return std::to_string(ll) + "L";
    }
    case NODE_CTFLT: {
      double d;
      std::memcpy(&d, pc, 8);
      char ac[40];
      std::snprintf(ac, sizeof ac, "%gF", d);
      return ac;
    }
    case NODE_CTDEC:
      return Decimal(pc);
    case NODE_CTCHR:
    case NODE_CTGRA: {
      uint16_t us;
      std::memcpy(&us, pc, 2);
      size_t ulBytes = pnode->sCode == NODE_CTGRA ? 2u * us : us;
      return (pnode->sCode == NODE_CTGRA ? "G'" : "'") +
             std::string(reinterpret_cast<const char *>(pc) + 2, ulBytes) + "'";
    }
    case NODE_CTNULL:
      return "NULL";
    case NODE_CTDTE:
    case NODE_CTTME:
    case NODE_CTTST:
      return "now";
    default:
      return "const?" + std::to_string(pnode->sCode);
  }
}

std::string Node(const zornode *pnode)
{
  if (pnode == nullptr) return "-";
  switch (pnode->sKind) {
    case ZORNODE_CSTE: {
      std::string s = Constant(pnode);
      /* constants of an IN list are chained through their right slots */
      if (pnode->pRight != nullptr) s += "~" + Node(static_cast<const zornode *>(pnode->pRight));
      return s;
    }
    case ZORNODE_VAR:
      return Text(static_cast<const zorcol *>(pnode->pLeft)->pcharName);
    case ZORNODE_OPRT: {
      std::string s = OperatorName(pnode->sCode) + "(" + Node(static_cast<const zornode *>(pnode->pLeft));
      if (pnode->usStatus & NODE_RIGHT_NOT)
        s += ", " + Hex(zornodeRightValue(pnode));
      else if (pnode->pRight != nullptr)
        s += ", " + Node(static_cast<const zornode *>(pnode->pRight));
      return s + ")";
    }
    default:
      return "kind?";
  }
}

std::string Column(const zorcol *pcol)
{
  std::string s = std::to_string(pcol->iNumber) + ":" +
                  (pcol->pcharName != nullptr ? Text(pcol->pcharName) : std::string("_"));
  if (pcol->usFlags != 0) s += "{" + Hex(pcol->usFlags).substr(1) + "}";
  if (pcol->pnodeExpr != nullptr) s += "=" + Node(pcol->pnodeExpr);
  return s;
}

std::string Chaine(const ochaine *pchaine)
{
  if (pchaine->pData == ZORDYACC_SELECT_STAR) return "*";
  std::string s = pchaine->pData != 0 ? Hex(pchaine->pData) + "[" : "[";
  const char *pcSep = "";
  for (void *p = pchaine->pitemTop; p != nullptr; p = static_cast<ochaineItem *>(p)->pitemNext) {
    s += pcSep + Column(static_cast<const zorcol *>(p));
    pcSep = ", ";
  }
  return s + "]";
}

std::string Atom(const zoratom *patom)
{
  if (patom == nullptr) return "<none>";
  std::string s = std::string(patom->pcName != nullptr ? patom->pcName : "?") + "=";
  switch (patom->iKind) {
    case ZORATOM_OCHAINE: s += Chaine(patom->value.pchaine); break;
    case ZORATOM_OCHAR: s += Text(patom->value.pchar); break;
    case ZORATOM_ZORNODE: s += Node(patom->value.pnode); break;
    default: s += "kind" + std::to_string(patom->iKind); break;
  }
  return s;
}

/* Start and end line/column of an atom, as (l,c)-(l,c). */
std::string Span(const zoratom *patom)
{
  char ac[64];
  std::snprintf(ac, sizeof ac, "(%d,%d)-(%d,%d)", patom->sStartLine, patom->sStartColumn,
                patom->sEndLine, patom->sEndColumn);
  return ac;
}

/* ------------------------------------------------------------- one parse */

struct Parse {
  int rc = -1;
  int32_t iLevel = 0;
  uint32_t ulStatus = 0;
  std::string result;               /* the result fields in compact form */
  std::vector<std::string> spans;   /* spans of the plistResult atoms, in list order */
  std::string messages;             /* message texts, oldest first, newlines as " | " */
};

std::string Messages()
{
  ostack *pstack = omsgsExportDefered();
  std::string s;
  if (pstack == nullptr) return s;
  for (int i = 0; i < ostackGetCount(pstack); i++) {
    char *pc = reinterpret_cast<char *>(ostackGetAt(pstack, i));
    std::string text(pc);
    for (size_t ul; (ul = text.find('\n')) != std::string::npos;) text.replace(ul, 1, " | ");
    while (text.find("  ") != std::string::npos) text.replace(text.find("  "), 2, " ");
    s += text;
    std::free(pc);
  }
  ostackDestroy(pstack);
  return s;
}

/* Writes the results of a finished parse and frees them. */
void Collect(oyacc *pyacc, Parse *pparse)
{
  std::string &s = pparse->result;
  if (pyacc->pnameResult != nullptr) s += std::string("root ") + pyacc->pnameResult + ": ";
  if (pyacc->plistResult != nullptr) {
    const char *pcSep = "";
    for (void *p = pyacc->plistResult->pitemTop; p != nullptr; p = static_cast<olistRef *>(p)->pitemNext) {
      zoratom *patom = static_cast<zoratom *>(static_cast<olistRef *>(p)->pData);
      s += pcSep + Atom(patom);
      pparse->spans.push_back(Span(patom));
      pcSep = " ";
      zoratomDestroy(patom);
    }
    olistDestroy(pyacc->plistResult);
  }
  if (pyacc->pvalResult != nullptr) {
    s += Atom(pyacc->pvalResult);
    zoratomDestroy(pyacc->pvalResult);
  }
  if (pyacc->pnodeCondition != nullptr) {
    s += "condition " + Node(pyacc->pnodeCondition);
    zornodeDestroy(pyacc->pnodeCondition);
  }
  if (pyacc->ptaskResult != nullptr) {
    zortask *ptask = pyacc->ptaskResult;
    s += std::string(ptask->pcName != nullptr ? ptask->pcName : "?") + "{";
    if (ptask->pchaineSubTasks != nullptr)
      for (void *p = ptask->pchaineSubTasks->pitemTop; p != nullptr; p = static_cast<ochaineItem *>(p)->pitemNext) {
        zortask *pview = static_cast<zortask *>(p);
        s += std::string(pview->pcName == nullptr ? "" : pview->pcName) + "(";
        const char *pcSep = "";
        for (int iSlot : {TOKEN_VIEW, TOKEN_SELECT, TOKEN_TBQUALIFIER, TOKEN_TBNAME}) {
          zoratom *patom = zortaskDetermineAtom(pview, gapnameTotalToken[iSlot]);
          if (patom == nullptr) continue;
          s += pcSep + Atom(patom);
          pcSep = " ";
        }
        s += ")";
      }
    s += "}";
    zortaskDestroy(ptask);
  }
}

Parse ParseContext(oyacc *pyacc)
{
  Parse parse;
  omsgsSetDefered(1);
  parse.rc = zordyyparse(pyacc);
  omsgsSetDefered(0);
  parse.messages = Messages();
  parse.iLevel = pyacc->iErrorLevel;
  parse.ulStatus = pyacc->ulParseStatus;
  Collect(pyacc, &parse);
  return parse;
}

Parse ParseText(const std::string &text)
{
  ostream *pstream = ostreamCreateFromBuffer(text.data(), static_cast<int32_t>(text.size()));
  EXPECT_NE(pstream, nullptr);
  oyacc yacc;
  EXPECT_EQ(oyaccInitItemized(&yacc, aplexContextDefDb2, pstream, '\'', '"', '.', 850, 0, 0, 0), 0);
  Parse parse = ParseContext(&yacc);
  oyaccDelete(&yacc);
  return parse;
}

class ZordyaccTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_EQ(tokenInitKeyword(), 0); }
};

struct Case {
  const char *pcText;
  const char *pcResult;
};

void CheckAccepted(const std::vector<Case> &cases)
{
  for (const Case &c : cases) {
    Parse parse = ParseText(c.pcText);
    EXPECT_EQ(parse.rc, 0) << c.pcText;
    EXPECT_EQ(parse.iLevel, 0) << c.pcText;
    EXPECT_EQ(parse.ulStatus, 0u) << c.pcText;
    EXPECT_EQ(parse.messages, "") << c.pcText;
    EXPECT_EQ(parse.result, c.pcResult) << c.pcText;
  }
}

/* -------------------------------------------------------- accepted texts */

TEST_F(ZordyaccTest, SelectListsAndFromClauses)
{
  CheckAccepted({
      {"SELECT * FROM Q.T", "root SELECT: TBQUALIFIER=Q TBNAME=T SELECT=*"},
      {"SELECT ALL * FROM T", "root SELECT: TBNAME=T SELECT=*"},
      {"select c1, c1 + 1 total from t",
       "root SELECT: TBNAME=T SELECT=[1:C1=C1, 2:TOTAL=PLS(C1, 1)]"},
      {"SELECT ALL \"Mixed\" \"Nm\" FROM \"q\".\"t\"",
       "root SELECT: TBQUALIFIER=q TBNAME=t SELECT=[1:Nm=Mixed]"},
      {"SELECT 'It''s', 12.50, 1E2, 5000000000, 7 FROM T",
       "root SELECT: TBNAME=T SELECT=[1:_='It's', 2:_=12.50D, 3:_=100F, 4:_=5000000000L, 5:_=7]"},
      /* a SELECT clause alone */
      {"SELECT C1, C2", "root SELECT: SELECT=[1:C1=C1, 2:C2=C2]"},
      {"SELECT *", "root SELECT: SELECT=*"},
  });
}

TEST_F(ZordyaccTest, ExpressionsFollowPrecedenceAndGrouping)
{
  CheckAccepted({
      {"SELECT A + B * C FROM T", "root SELECT: TBNAME=T SELECT=[1:_=PLS(A, MLT(B, C))]"},
      {"SELECT A * B || C FROM T", "root SELECT: TBNAME=T SELECT=[1:_=CONCAT(MLT(A, B), C)]"},
      {"SELECT A || B * C FROM T", "root SELECT: TBNAME=T SELECT=[1:_=MLT(CONCAT(A, B), C)]"},
      {"SELECT A CONCAT B FROM T", "root SELECT: TBNAME=T SELECT=[1:_=CONCAT(A, B)]"},
      /* the function form, as the guide lists it */
      {"SELECT CONCAT(A, B) FROM T", "root SELECT: TBNAME=T SELECT=[1:_=CONCAT(A, B)]"},
      {"SELECT CONCAT(CONCAT(A, '-'), B) || C FROM T",
       "root SELECT: TBNAME=T SELECT=[1:_=CONCAT(CONCAT(CONCAT(A, '-'), B), C)]"},
      {"SELECT A - B - C FROM T", "root SELECT: TBNAME=T SELECT=[1:_=MNS(MNS(A, B), C)]"},
      {"SELECT A / (B - C) FROM T", "root SELECT: TBNAME=T SELECT=[1:_=DIV(A, MNS(B, C))]"},
      {"SELECT - A * + B FROM T", "root SELECT: TBNAME=T SELECT=[1:_=MLT(MNSU(A), B)]"},
      {"SELECT -1 FROM T", "root SELECT: TBNAME=T SELECT=[1:_=MNSU(1)]"},
  });
}

TEST_F(ZordyaccTest, LabeledDurations)
{
  CheckAccepted({
      {"WHERE D > CURRENT DATE - 1 YEAR",
       "root WHERE: WHERE=SUP(D, DUREE(DTE(now), CONT_DUREE(1, #0x4001c)))"},
      {"WHERE D = 1 DAY + D", "root WHERE: WHERE=EQU(D, DUREE(D, CONT_DUREE(1, #0x14)))"},
      {"SELECT A - 1 DAYS - 2 MONTHS FROM T",
       "root SELECT: TBNAME=T SELECT=[1:_=DUREE(DUREE(A, CONT_DUREE(1, #0x40014)), "
       "CONT_DUREE(2, #0x40018))]"},
      {"SELECT T1 + C2 HOURS + (C3) MINUTES + YEAR(C4) SECONDS + 5 MICROSECONDS FROM T",
       "root SELECT: TBNAME=T SELECT=[1:_=DUREE(DUREE(DUREE(DUREE(T1, CONT_DUREE(C2, #0x10)), "
       "CONT_DUREE(C3, #0xc)), CONT_DUREE(YEA(C4), #0x8)), CONT_DUREE(5, #0x4))]"},
      {"SELECT CURRENT TIME, CURRENT TIMESTAMP FROM T",
       "root SELECT: TBNAME=T SELECT=[1:_=TME(now), 2:_=TST(now)]"},
  });
}

TEST_F(ZordyaccTest, ScalarFunctions)
{
  struct {
    const char *pcCall;
    const char *pcTree;
  } const functions[] = {
      {"INTEGER(C)", "INT(C)"},
      {"INT(C)", "INT(C)"},
      {"FLOAT(C)", "FLT(C, #0x40000)"},
      {"DOUBLE(C)", "FLT(C, #0x80000)"},
      {"DOUBLE_PRECISION(C)", "FLT(C, #0x80000)"},
      {"DECIMAL(C)", "DEC(C, #0xff00)"},
      {"DEC(C, 7)", "DEC(C, #0x700)"},
      {"DECIMAL(C, 5, 0)", "DEC(C, #0x500)"},
      {"DEC(C, 31, 31)", "DEC(C, #0x1f1f)"},
      {"DATE(C)", "DTE(C)"},
      {"TIME(C)", "TME(C)"},
      {"TIMESTAMP(C)", "TST(C)"},
      {"TIMESTAMP(C, D)", "TST(C, D)"},
      {"YEAR(C)", "YEA(C)"},
      {"MONTH(C)", "MON(C)"},
      {"DAY(C)", "DAY(C)"},
      {"DAYOFMONTH(C)", "DAYOFMONTH(C)"},
      {"HOUR(C)", "HOU(C)"},
      {"MINUTE(C)", "MIN(C)"},
      {"SECOND(C)", "SEC(C)"},
      {"MICROSECOND(C)", "MIC(C)"},
      {"DAYS(C)", "DAYS(C)"},
      {"LENGTH(C)", "LEN(C)"},
      {"NULLIF(C, 0)", "NUL(C, 0)"},
      {"VALUE(C, 0)", "VAL(C, CONT_VAL(0))"},
      {"COALESCE(C, 0)", "VAL(C, CONT_VAL(0))"},
      {"IFNULL(C, 0)", "VAL(C, CONT_VAL(0))"},
      {"SUBSTR(C, 2)", "SUBSTR(C, CONT_VAL(2))"},
      {"SUBSTR(C, 2, 3)", "SUBSTR(C, CONT_VAL(2, 3))"},
      {"CHAR(C)", "CHR(C)"},
      {"CHAR(C, 'x')", "CHR(C, 'x')"},
      {"CHAR(C, ISO)", "CHR(C, #0xc9e2d6)"},
      {"CHAR(C, EUR)", "CHR(C, #0xc5e4d9)"},
      {"CHAR(C, JIS)", "CHR(C, #0xd1c9e2)"},
      {"CHAR(C, USA)", "CHR(C, #0xe4e2c1)"},
      {"DIGITS(C)", "DIG(C)"},
      {"HEX(C)", "HEX(C)"},
      {"VARGRAPHIC(C)", "VARG(C)"},
      {"VARGRAPHIC(C, 10)", "VARG(C, 10)"},
      {"ABS(C)", "ABS(C)"},
      {"CEIL(C)", "CEIL(C)"},
      {"CEILING(C)", "CEIL(C)"},
      {"DAYOFWEEK(C)", "DAYOFWEEK(C)"},
      {"DAYOFYEAR(C)", "DAYOFYEAR(C)"},
      {"FLOOR(C)", "FLOOR(C)"},
      {"MIDNIGHT_SECONDS(C)", "MNSECONDS(C)"},
      {"QUARTER(C)", "QUARTER(C)"},
      {"REAL(C)", "REAL(C)"},
      {"SIGN(C)", "SIGN(C)"},
      {"SMALLINT(C)", "SMINT(C)"},
      {"MOD(C, 3)", "MOD(C, 3)"},
      {"TRUNCATE(C, 2)", "TRUNC(C, 2)"},
  };
  std::vector<Case> cases;
  std::vector<std::string> texts, results;
  for (const auto &f : functions) {
    texts.push_back(std::string("SELECT ") + f.pcCall + " FROM T");
    results.push_back(std::string("root SELECT: TBNAME=T SELECT=[1:_=") + f.pcTree + "]");
  }
  for (size_t i = 0; i < texts.size(); i++) cases.push_back({texts[i].c_str(), results[i].c_str()});
  CheckAccepted(cases);
}

TEST_F(ZordyaccTest, CaseExpressions)
{
  CheckAccepted({
      {"SELECT CASE C1 WHEN 1 THEN 'A' WHEN 2 THEN NULL ELSE 'Z' END FROM T",
       "root SELECT: TBNAME=T SELECT=[1:_=IF(EQU(C1, 1), CONT_IF('A', IF(EQU(C1, 2), "
       "CONT_IF(NULL, 'Z'))))]"},
      {"SELECT CASE C1 WHEN 1 THEN 'A' END FROM T",
       "root SELECT: TBNAME=T SELECT=[1:_=IF(EQU(C1, 1), CONT_IF('A', NULL))]"},
      {"SELECT CASE WHEN A = 1 THEN 'X' WHEN B IS NULL THEN NULL ELSE NULL END FROM T",
       "root SELECT: TBNAME=T SELECT=[1:_=IF(EQU(A, 1), CONT_IF('X', IF(IS(B), "
       "CONT_IF(NULL, NULL))))]"},
      {"SELECT CASE WHEN A > 0 THEN A ELSE CASE B WHEN 1 THEN 2 END END FROM T",
       "root SELECT: TBNAME=T SELECT=[1:_=IF(SUP(A, 0), CONT_IF(A, IF(EQU(B, 1), "
       "CONT_IF(2, NULL))))]"},
  });
}

TEST_F(ZordyaccTest, SimpleCaseComparisonsOwnTheirOperands)
{
  Parse parse = ParseText("SELECT CASE C1 + 1 WHEN 1 THEN 'A' WHEN 2 THEN 'B' WHEN 3 THEN 'C' END FROM T");
  EXPECT_EQ(parse.rc, 0);
  EXPECT_EQ(parse.result,
            "root SELECT: TBNAME=T SELECT=[1:_=IF(EQU(PLS(C1, 1), 1), CONT_IF('A', "
            "IF(EQU(PLS(C1, 1), 2), CONT_IF('B', IF(EQU(PLS(C1, 1), 3), CONT_IF('C', NULL))))))]");
  /* destroying the tree (done by Collect) frees each copy once: ASan checks it */
  EXPECT_EQ(zordyaccUpdateSimpleWhen(nullptr, nullptr, nullptr), ORC_INVALID);
}

TEST_F(ZordyaccTest, ConditionsAndPredicates)
{
  CheckAccepted({
      {"WHERE C1 BETWEEN 1 AND 5", "root WHERE: WHERE=AND(SEG(C1, 1), IEG(C1, 5))"},
      {"WHERE C1 NOT BETWEEN 1 AND 5", "root WHERE: WHERE=NOT(AND(SEG(C1, 1), IEG(C1, 5)))"},
      {"WHERE NOT C1 = 1 AND C2 = 2", "root WHERE: WHERE=AND(NOT(EQU(C1, 1)), EQU(C2, 2))"},
      {"WHERE NOT (C1 = 1 AND C2 = 2)", "root WHERE: WHERE=NOT(AND(EQU(C1, 1), EQU(C2, 2)))"},
      {"WHERE A = 1 OR B = 2 AND C = 3",
       "root WHERE: WHERE=OR(EQU(A, 1), AND(EQU(B, 2), EQU(C, 3)))"},
      {"WHERE A = 1 OR B = 2 OR C = 3",
       "root WHERE: WHERE=OR(OR(EQU(A, 1), EQU(B, 2)), EQU(C, 3))"},
      {"WHERE (A) + 1 > B", "root WHERE: WHERE=SUP(PLS(A, 1), B)"},
      {"WHERE A <> 1 AND A >= 2 AND A < 3 AND A <= 4",
       "root WHERE: WHERE=AND(AND(AND(DIFF(A, 1), SEG(A, 2)), INF(A, 3)), IEG(A, 4))"},
      {"WHERE C1 IN (1, 'A', 2.5)", "root WHERE: WHERE=IN(C1, 1~'A'~2.5D)"},
      {"WHERE C1 NOT IN (7)", "root WHERE: WHERE=NOT(IN(C1, 7))"},
      {"WHERE C1 LIKE 'A%'", "root WHERE: WHERE=LIKE(C1, 'A%')"},
      {"WHERE C1 LIKE 'A!%' ESCAPE '!'", "root WHERE: WHERE=LIKE(C1, LIKE_ESC('A!%', '!'))"},
      {"WHERE C1 NOT LIKE 'A%' ESCAPE '!'",
       "root WHERE: WHERE=NOT(LIKE(C1, LIKE_ESC('A%', '!')))"},
      {"WHERE C1 IS NULL", "root WHERE: WHERE=IS(C1)"},
      {"WHERE C1 IS NOT NULL", "root WHERE: WHERE=NOT(IS(C1))"},
      {"SELECT C1 FROM T WHERE C1 > 0",
       "root SELECT: TBNAME=T SELECT=[1:C1=C1] WHERE=SUP(C1, 0)"},
  });
}

TEST_F(ZordyaccTest, BetweenComparesDifferentCopies)
{
  ostream *pstream = ostreamCreateFromBuffer("WHERE C1 BETWEEN 1 AND 5", 24);
  oyacc yacc;
  ASSERT_EQ(oyaccInitItemized(&yacc, aplexContextDefDb2, pstream, '\'', '"', '.', 850, 0, 0, 0), 0);
  omsgsSetDefered(1);
  ASSERT_EQ(zordyyparse(&yacc), 0);
  omsgsSetDefered(0);
  EXPECT_EQ(Messages(), "");
  zornode *pand = yacc.pvalResult->value.pnode;
  zornode *plow = static_cast<zornode *>(pand->pLeft);
  zornode *phigh = static_cast<zornode *>(pand->pRight);
  EXPECT_NE(plow->pLeft, phigh->pLeft);
  /* all three nodes span BETWEEN .. AND */
  for (zornode *pnode : {pand, plow, phigh}) {
    EXPECT_EQ(pnode->sStartColumn, 10);
    EXPECT_EQ(pnode->sEndColumn, 23);
  }
  zoratomDestroy(yacc.pvalResult);
  oyaccDelete(&yacc);
}

TEST_F(ZordyaccTest, OrderClauses)
{
  CheckAccepted({
      {"ORDER BY 2 DESC, C1", "root ORDER: ORDER=[2:_{0x200}, 0:C1{0x100}]"},
      {"ORDER BY C1 A, C2 D, C3 ASC, \"c4\"",
       "root ORDER: ORDER=[0:C1{0x100}, 0:C2{0x200}, 0:C3{0x100}, 0:c4{0x100}]"},
      {"ORDER CLUSTERED", "root ORDER: ORDER=#0x1[]"},
      {"ORDER CLUSTER", "root ORDER: ORDER=#0x1[]"},
      {"SELECT C1 FROM Q.T WHERE C1 = 1 ORDER BY 1",
       "root SELECT: TBQUALIFIER=Q TBNAME=T SELECT=[1:C1=C1] WHERE=EQU(C1, 1) ORDER=[1:_{0x100}]"},
      {"SELECT * FROM T ORDER BY C2", "root SELECT: TBNAME=T SELECT=* ORDER=[0:C2{0x100}]"},
  });
}

TEST_F(ZordyaccTest, ViewDefinitions)
{
  CheckAccepted({
      {"DDL CREATE VIEW V1 (A, B) AS SELECT C1, C2 FROM Q.T WITH LOCAL CHECK OPTION;",
       "GLOBAL{(VIEW=[1:A{0x1000}, 2:B{0x1000}] SELECT=[1:C1=C1, 2:C2=C2] TBQUALIFIER=Q "
       "TBNAME=T)}"},
      {"DDL CREATE VIEW S.V1 AS SELECT C1 AS X, 5 Y FROM T\n"
       "create view v2 (s.t.a) as select all c9 from t2 with cascaded check option\n"
       "CREATE VIEW V3 AS SELECT 'k' K FROM T3 WITH CHECK OPTION",
       "GLOBAL{(SELECT=[1:X=C1, 2:Y=5] TBNAME=T)(VIEW=[1:A{0x1000}] SELECT=[1:C9=C9] TBNAME=T2)"
       "(SELECT=[1:K='k'] TBNAME=T3)}"},
  });
}

TEST_F(ZordyaccTest, BareConditionStopsAtItsEnd)
{
  /* The start context knows no expressions: a bare condition is reached only
  ** through a context that starts in the expression vocabulary. */
  static const olexContextDef *const apdefs[] = {&_contextDefDML_CTX, nullptr};
  const char *pcText = "A = 1 AND B <> 2   ";
  ostream *pstream = ostreamCreateFromBuffer(pcText, static_cast<int32_t>(std::strlen(pcText)));
  oyacc yacc;
  ASSERT_EQ(oyaccInitItemized(&yacc, apdefs, pstream, '\'', '"', '.', 850, 0, 0, 0), 0);
  Parse parse = ParseContext(&yacc);
  EXPECT_EQ(parse.rc, 0);
  EXPECT_EQ(parse.result, "condition AND(EQU(A, 1), DIFF(B, 2))");
  /* the stream is left right after the condition */
  ostreamPos pos;
  ostreamGetPos(yacc.pstream, &pos);
  EXPECT_EQ(pos.iColumn, 17);
  oyaccDelete(&yacc);
}

/* -------------------------------------------------------------- lexing */

/* Lexeme ids of a text read over the SQL contexts, freeing the values. */
std::vector<int> Lexemes(const char *pcText)
{
  ostream *pstream = ostreamCreateFromBuffer(pcText, static_cast<int32_t>(std::strlen(pcText)));
  oyacc yacc;
  EXPECT_EQ(oyaccInitItemized(&yacc, aplexContextDefDb2, pstream, '\'', '"', '.', 850, 0, 0, 0), 0);
  std::vector<int> ids;
  zortokensValue value;
  ostreamLocation loc;
  for (int iId; (iId = olexGet(&value, &loc, yacc.plex)) != 0;) {
    ids.push_back(iId);
    if (iId == IDENTIFIER_LX || iId == DELIMITED_LX || iId == LITTERAL_LX || iId == ERROR_LX)
      ocharDestroy(value.pchar);
    if (iId == DECIMAL_LX) std::free(value.pcDecimal);
  }
  oyaccDelete(&yacc);
  return ids;
}

/* The first keyword chooses the vocabulary; nothing switches back. */
TEST_F(ZordyaccTest, VocabularyFollowsTheFirstKeyword)
{
  struct {
    const char *pcText;
    std::vector<int> ids;
  } const cases[] = {
      {"SELECT AS, -1 FROM \"x\" WHERE",
       {SELECT_KW, IDENTIFIER_LX, COMMA_LX, MINUS_LX, INTEGER_LX, FROM_KW, DELIMITED_LX, WHERE_KW}},
      {"WHERE A CONCAT B || C <= 1.5 <> 1E3 * 5000000000",
       {WHERE_KW, IDENTIFIER_LX, CONCAT_LX, IDENTIFIER_LX, CONCAT_LX, IDENTIFIER_LX, IEQ_LX, DECIMAL_LX,
        DIF_LX, FLOAT_LX, MULT_LX, BIGINT_LX}},
      {"select trunc order by c1 desc + 1",
       {SELECT_KW, IDENTIFIER_LX, ORDER_KW, BY_KW, IDENTIFIER_LX, DESC_KW, ERROR_LX, INTEGER_LX}},
      {"DDL CREATE VIEW V AS SELECT * 'k' 2.5 WHERE",
       {DDL_KW, CREATE_KW, VIEW_KW, IDENTIFIER_LX, AS_KW, SELECT_KW, ERROR_LX, LITTERAL_LX, DECIMAL_LX,
        IDENTIFIER_LX}},
      {"-- comment line\nORDER CLUSTERED", {ORDER_KW, CLUSTERED_KW}},
      {"DML PART", {DML_KW, PART_KW}},
      {"(", {ERROR_LX}},
      {"UPDATE", {ERROR_LX}},
  };
  for (const auto &c : cases) EXPECT_EQ(Lexemes(c.pcText), c.ids) << c.pcText;
}

/* ------------------------------------------------------ refused texts */

struct ErrorCase {
  const char *pcText;
  int rc;
  int32_t iLevel;
  uint32_t ulStatus;
  const char *pcMessages;
  const char *pcResult;
};

void CheckErrors(const std::vector<ErrorCase> &cases)
{
  for (const ErrorCase &c : cases) {
    Parse parse = ParseText(c.pcText);
    EXPECT_EQ(parse.rc, c.rc) << c.pcText;
    EXPECT_EQ(parse.iLevel, c.iLevel) << c.pcText;
    EXPECT_EQ(parse.ulStatus, c.ulStatus) << c.pcText;
    EXPECT_EQ(parse.messages, c.pcMessages) << c.pcText;
    EXPECT_EQ(parse.result, c.pcResult) << c.pcText;
  }
}

TEST_F(ZordyaccTest, SelectListErrors)
{
  /* AS is a plain name in a SELECT statement: the list is skipped up to FROM,
  ** and FROM is read again; DISTINCT is a column name too.  A comma before
  ** FROM makes the text unusable.  Errors that no rule takes end the parse
  ** without a message. */
  CheckErrors({
      {"SELECT C1 AS X FROM T", 0, 0, 4,
       "ZORU010I ITEM STARTING AT (1,1) ENDING AT(1,15) | "
       "ZORU016E SELECT STATEMENT SYNTAX IS INVALID | ",
       "root SELECT: TBNAME=T"},
      {"SELECT C1 + FROM T", 0, 0, 4,
       "ZORU010I ITEM STARTING AT (1,8) ENDING AT(1,17) | "
       "ZORU016E SELECT STATEMENT SYNTAX IS INVALID | ",
       "root SELECT: TBNAME=T"},
      {"SELECT DISTINCT C1 FROM T WHERE C1 = 1", 0, 0, 0,
       "",
       "root SELECT: TBNAME=T SELECT=[1:C1=DISTINCT] WHERE=EQU(C1, 1)"},
      {"SELECT C1, FROM T", 1, 8, 0,
       "ZORU010I ITEM STARTING AT (1,10) ENDING AT(1,11) | "
       "ZORU014E INVALID LEXEME AFTER KEYWORD Comma, VALID LEXEMES ARE | column | ",
       ""},
      {"SELECT *, C1 FROM T", 1, 0, 0,
       "",
       ""},
      {"SELECT C1 FROM Q.T.X", 1, 0, 0,
       "",
       ""},
      {"SELECT C1 FROM T X", 1, 0, 0,
       "",
       ""},
      {"SELECT Q.C1 FROM T", 0, 0, 4,
       "ZORU010I ITEM STARTING AT (1,1) ENDING AT(1,12) | "
       "ZORU016E SELECT STATEMENT SYNTAX IS INVALID | ",
       "root SELECT: TBNAME=T"},
      {"SELECT C1 FROM T WHERE A = B = C", 1, 0, 0,
       "",
       ""},
      {"SELECT C1 FROM T PART", 1, 0, 0,
       "",
       ""},
      {"DML SELECT C1 FROM T", 1, 0, 0,
       "",
       ""},
      {"UPDATE T", 1, 0, 0,
       "",
       ""},
      {"", 1, 0, 0,
       "",
       ""},
      {"SELECT C1 FROM T;", 1, 0, 0,
       "",
       ""},
  });
}

TEST_F(ZordyaccTest, PredicateAndExpressionErrors)
{
  /* A recovery rule replaces its construct by nothing, so what holds it is
  ** empty too; a lexeme the recovery leaves behind can still end the parse. */
  CheckErrors({
      {"WHERE (C1 = 1 C2", 1, 0, 4,
       "ZORU010I ITEM STARTING AT (1,7) ENDING AT(1,10) | "
       "ZORU026E MISSING PARENTHESIS. | ",
       ""},
      {"WHERE C1 IN 1", 1, 0, 4,
       "ZORU010I ITEM STARTING AT (1,13) ENDING AT(1,14) | "
       "ZORU026E MISSING PARENTHESIS. | ",
       ""},
      {"WHERE C1 IN (-1)", 0, 0, 4,
       "ZORU010I ITEM STARTING AT (1,14) ENDING AT(1,15) | "
       "ZORU033E CONSTANT EXPECTED | "
       "ZORU010I ITEM STARTING AT (1,14) ENDING AT(1,16) | "
       "ZORU033E CONSTANT EXPECTED | ",
       "root WHERE: WHERE=IN(C1)"},
      {"WHERE C1 IN (1, C2)", 0, 0, 4,
       "ZORU010I ITEM STARTING AT (1,17) ENDING AT(1,19) | "
       "ZORU033E CONSTANT EXPECTED | "
       "ZORU010I ITEM STARTING AT (1,14) ENDING AT(1,19) | "
       "ZORU033E CONSTANT EXPECTED | ",
       "root WHERE: WHERE=IN(C1)"},
      {"WHERE C1 LIKE C2", 1, 0, 4,
       "ZORU010I ITEM STARTING AT (1,15) ENDING AT(1,17) | "
       "ZORU033E CONSTANT EXPECTED | ",
       ""},
      {"WHERE C1 NOT LIKE C2", 1, 0, 4,
       "ZORU010I ITEM STARTING AT (1,14) ENDING AT(1,18) | "
       "ZORU033E CONSTANT EXPECTED | ",
       ""},
      {"WHERE C1 LIKE 'A' ESCAPE C2", 1, 0, 4,
       "ZORU010I ITEM STARTING AT (1,26) ENDING AT(1,28) | "
       "ZORU033E CONSTANT EXPECTED | ",
       ""},
      {"WHERE C1 IS 5", 1, 0, 4,
       "ZORU010I ITEM STARTING AT (1,10) ENDING AT(1,14) | "
       "ZORU014E INVALID LEXEME AFTER KEYWORD IS, VALID LEXEMES ARE | NULL, NOT NULL | ",
       ""},
      {"WHERE (C1 = 1 AND C2 = 2", 0, 8, 0,
       "ZORU010I ITEM STARTING AT (1,25) ENDING AT(1,25) | "
       "ZORU026E MISSING PARENTHESIS. | ",
       "root WHERE: "},
      {"WHERE (C1 + 1 = 2", 0, 8, 0,
       "ZORU010I ITEM STARTING AT (1,18) ENDING AT(1,18) | "
       "ZORU026E MISSING PARENTHESIS. | ",
       "root WHERE: "},
      {"SELECT () FROM T", 0, 0, 4,
       "ZORU010I ITEM STARTING AT (1,8) ENDING AT(1,10) | "
       "ZORU016E expression STATEMENT SYNTAX IS INVALID | ",
       "root SELECT: TBNAME=T"},
      {"WHERE D > CURRENT USER", 1, 0, 4,
       "ZORU010I ITEM STARTING AT (1,19) ENDING AT(1,23) | "
       "ZORU014E INVALID LEXEME AFTER KEYWORD CURRENT, VALID LEXEMES ARE | DATE, TIME, TIMESTAMP | ",
       ""},
  });
}

TEST_F(ZordyaccTest, FunctionErrors)
{
  CheckErrors({
      {"SELECT DECIMAL(C1, 32) FROM T", 0, 8, 4,
       "ZORU010I ITEM STARTING AT (1,20) ENDING AT(1,22) | "
       "ZORU035E OUT OF RANGE (1-31) | ",
       "root SELECT: TBNAME=T"},
      {"SELECT DEC(C1, 0) FROM T", 0, 8, 4,
       "ZORU010I ITEM STARTING AT (1,16) ENDING AT(1,17) | "
       "ZORU035E OUT OF RANGE (1-31) | ",
       "root SELECT: TBNAME=T"},
      {"SELECT DECIMAL(C1, 5, 6) FROM T", 0, 8, 4,
       "ZORU010I ITEM STARTING AT (1,23) ENDING AT(1,24) | "
       "ZORU035E OUT OF RANGE (1-5) | ",
       "root SELECT: TBNAME=T"},
      {"SELECT STRIP(C1) FROM T", 0, 0, 4,
       "ZORU010I ITEM STARTING AT (1,8) ENDING AT(1,17) | "
       "ZORU016E STRIP() STATEMENT SYNTAX IS INVALID | ",
       "root SELECT: TBNAME=T"},
      {"SELECT STRIP(C1, B, 'x') FROM T", 0, 0, 4,
       "ZORU010I ITEM STARTING AT (1,8) ENDING AT(1,17) | "
       "ZORU016E STRIP() STATEMENT SYNTAX IS INVALID | ",
       "root SELECT: TBNAME=T"},
      {"SELECT LTRIM(C1), RTRIM(C2) FROM T", 0, 0, 4,
       "ZORU010I ITEM STARTING AT (1,8) ENDING AT(1,17) | "
       "ZORU016E LTRIM() STATEMENT SYNTAX IS INVALID | "
       "ZORU010I ITEM STARTING AT (1,19) ENDING AT(1,28) | "
       "ZORU016E RTRIM() STATEMENT SYNTAX IS INVALID | ",
       "root SELECT: TBNAME=T"},
      {"SELECT LENGTH C1 FROM T", 0, 0, 4,
       "ZORU010I ITEM STARTING AT (1,8) ENDING AT(1,17) | "
       "ZORU016E LENGTH() STATEMENT SYNTAX IS INVALID | ",
       "root SELECT: TBNAME=T"},
      {"SELECT VALUE(C1) FROM T", 0, 0, 4,
       "ZORU010I ITEM STARTING AT (1,8) ENDING AT(1,17) | "
       "ZORU016E VALUE() STATEMENT SYNTAX IS INVALID | "
       "ZORU010I ITEM STARTING AT (1,8) ENDING AT(1,17) | "
       "ZORU016E SELECT STATEMENT SYNTAX IS INVALID | ",
       "root SELECT: TBNAME=T"},
      {"SELECT SMALLINT C1 FROM T", 0, 0, 4,
       "ZORU010I ITEM STARTING AT (1,17) ENDING AT(1,19) | "
       "ZORU070E OPEN PARENTHESIS MISSING | ",
       "root SELECT: TBNAME=T"},
      {"SELECT SMALLINT(,) FROM T", 0, 0, 4,
       "ZORU010I ITEM STARTING AT (1,8) ENDING AT(1,18) | "
       "ZORU016E SMALLINT STATEMENT SYNTAX IS INVALID | "
       "ZORU010I ITEM STARTING AT (1,8) ENDING AT(1,19) | "
       "ZORU016E SELECT STATEMENT SYNTAX IS INVALID | ",
       "root SELECT: TBNAME=T"},
      {"SELECT TRUNCATE(C1 2) FROM T", 0, 0, 4,
       "ZORU010I ITEM STARTING AT (1,8) ENDING AT(1,21) | "
       "ZORU016E TRUNCATE STATEMENT SYNTAX IS INVALID | "
       "ZORU010I ITEM STARTING AT (1,8) ENDING AT(1,22) | "
       "ZORU016E SELECT STATEMENT SYNTAX IS INVALID | ",
       "root SELECT: TBNAME=T"},
      {"SELECT TRUNCATE() FROM T", 0, 0, 4,
       "ZORU010I ITEM STARTING AT (1,8) ENDING AT(1,18) | "
       "ZORU016E TRUNCATE STATEMENT SYNTAX IS INVALID | ",
       "root SELECT: TBNAME=T"},
  });
}

TEST_F(ZordyaccTest, CaseErrors)
{
  CheckErrors({
      {"WHERE X = CASE WHEN A = 1 AND B = 2 THEN 1 END", 1, 0, 4,
       "ZORU010I ITEM STARTING AT (1,27) ENDING AT(1,30) | "
       "ZORU017E INVALID LEXEME. VALID LEXEME(S) MAY BE THEN | "
       "ZORU010I ITEM STARTING AT (1,31) ENDING AT(1,32) | "
       "ZORU017E INVALID LEXEME. VALID LEXEME(S) MAY BE ELSE, END | ",
       ""},
      {"WHERE X = CASE WHEN A = 1 THEN 1 X", 1, 0, 4,
       "ZORU010I ITEM STARTING AT (1,27) ENDING AT(1,31) | "
       "ZORU017E INVALID LEXEME. VALID LEXEME(S) MAY BE NULL, expression | ",
       ""},
      {"WHERE X = CASE WHEN A = 1 THEN 1 ELSE 2 X", 0, 0, 4,
       "ZORU010I ITEM STARTING AT (1,41) ENDING AT(1,42) | "
       "ZORU017E INVALID LEXEME. VALID LEXEME(S) MAY BE END | ",
       "root WHERE: "},
      {"WHERE X = CASE WHEN A = 1 THEN ) END", 0, 0, 4,
       "ZORU010I ITEM STARTING AT (1,27) ENDING AT(1,31) | "
       "ZORU017E INVALID LEXEME. VALID LEXEME(S) MAY BE NULL, expression | ",
       "root WHERE: "},
      {"WHERE X = CASE A WHEN 1 2 END", 0, 0, 4,
       "ZORU010I ITEM STARTING AT (1,18) ENDING AT(1,26) | "
       "ZORU016E CASE STATEMENT SYNTAX IS INVALID | ",
       "root WHERE: "},
      {"WHERE X = CASE A WHEN ) THEN 1 END", 1, 0, 4,
       "ZORU010I ITEM STARTING AT (1,18) ENDING AT(1,24) | "
       "ZORU016E CASE STATEMENT SYNTAX IS INVALID | ",
       ""},
  });
}

TEST_F(ZordyaccTest, OrderAndViewErrors)
{
  CheckErrors({
      {"ORDER C1", 1, 8, 0,
       "ZORU010I ITEM STARTING AT (1,1) ENDING AT(1,9) | "
       "ZORU014E INVALID LEXEME AFTER KEYWORD ORDER, VALID LEXEMES ARE | BY,CLUSTER(ED) | ",
       ""},
      {"SELECT * FROM T ORDER BY C1, (, 2", 0, 8, 0,
       "ZORU010I ITEM STARTING AT (1,30) ENDING AT(1,31) | "
       "ZORU022E INVALID LEXEME. | ",
       "root SELECT: TBNAME=T SELECT=* ORDER=[0:C1{0x100}, 2:_{0x100}]"},
      {"DDL CREATE VIEW V AS SELECT * FROM T", 1, 0, 4,
       "ZORU010I ITEM STARTING AT (1,22) ENDING AT(1,30) | "
       "ZORU016E SELECT STATEMENT SYNTAX IS INVALID | ",
       ""},
      {"DDL CREATE VIEW V AS SELECT C1 FROM T WHERE C1 = 1", 1, 0, 0,
       "",
       ""},
      {"DDL CREATE VIEW V (A + B) AS SELECT C1 FROM T", 1, 0, 0,
       "",
       ""},
  });
}

/* Message positions of a SELECT block are control-file positions. */
TEST_F(ZordyaccTest, SubStreamReportsControlFilePositions)
{
  const std::string control = "UNLOAD TABLESPACE X\n  SELECT C1, FROM\n      Q.T ;\n";
  ostream *pstream = ostreamCreateFromBuffer(control.data(), static_cast<int32_t>(control.size()));
  oyacc parent;
  ASSERT_EQ(oyaccInitItemized(&parent, aplexContextDefDb2, pstream, '\'', '"', '.', 850, 0, 0, 0), 0);
  ostreamLocation first{2, 3, 2, 9}, last{3, 7, 3, 10};
  oyacc nested;
  ASSERT_EQ(oyaccInitFromYacc(&nested, &parent, oyaccCreateSubStream(&parent, &first, &last),
                              aplexContextDefDb2), 0);
  Parse parse = ParseContext(&nested);
  EXPECT_EQ(parse.rc, 1);
  EXPECT_EQ(parse.messages,
            "ZORU010I ITEM STARTING AT (2,12) ENDING AT(2,13) | ZORU014E INVALID LEXEME AFTER KEYWORD "
            "Comma, VALID LEXEMES ARE | column | ");
  oyaccDelete(&nested);
  oyaccDelete(&parent);

  /* the same statement without the comma: atoms located in the control file */
  const std::string fixed = "UNLOAD TABLESPACE X\n  SELECT C1  FROM\n      Q.T ;\n";
  pstream = ostreamCreateFromBuffer(fixed.data(), static_cast<int32_t>(fixed.size()));
  ASSERT_EQ(oyaccInitItemized(&parent, aplexContextDefDb2, pstream, '\'', '"', '.', 850, 0, 0, 0), 0);
  ASSERT_EQ(oyaccInitFromYacc(&nested, &parent, oyaccCreateSubStream(&parent, &first, &last),
                              aplexContextDefDb2), 0);
  parse = ParseContext(&nested);
  EXPECT_EQ(parse.rc, 0);
  EXPECT_EQ(parse.result, "root SELECT: TBQUALIFIER=Q TBNAME=T SELECT=[1:C1=C1]");
  EXPECT_EQ(parse.spans, (std::vector<std::string>{"(3,7)-(3,8)", "(3,9)-(3,10)", "(2,3)-(2,12)"}));
  oyaccDelete(&nested);
  oyaccDelete(&parent);
}

TEST_F(ZordyaccTest, StateStackOf200Entries)
{
  std::string deep = "WHERE " + std::string(250, '(') + "C1 = 1" + std::string(250, ')');
  Parse parse = ParseText(deep);
  EXPECT_EQ(parse.rc, 2);
  EXPECT_EQ(parse.result, "");
  std::string shallow = "WHERE " + std::string(60, '(') + "C1 = 1" + std::string(60, ')');
  parse = ParseText(shallow);
  EXPECT_EQ(parse.rc, 0);
  EXPECT_EQ(parse.result, "root WHERE: WHERE=EQU(C1, 1)");
  /* the generator's trace is always on; the trace keyword decides */
  EXPECT_EQ(zordyydebug, 1);
}

/* ---------------------------------------------------------------- fuzzing */

/* Frees the value olexGet handed out for a lexeme id. */
void FreeLexeme(int iId, zortokensValue *pvalue)
{
  switch (iId) {
    case IDENTIFIER_LX:
    case DELIMITED_LX:
    case LITTERAL_LX:
    case ERROR_LX:
      ocharDestroy(pvalue->pchar);
      break;
    case DECIMAL_LX:
      std::free(pvalue->pcDecimal);
      break;
    default:
      break;
  }
}

TEST_F(ZordyaccTest, MutatedTextsNeitherCrashNorLeak)
{
  const std::vector<std::string> seeds = {
      "SELECT C1, C1 + 1 TOTAL, CASE C2 WHEN 1 THEN 'A' ELSE NULL END FROM Q.T WHERE C1 BETWEEN 1 AND "
      "5 AND C3 IN (1, 'x', 2.5) OR NOT C4 LIKE 'A%' ESCAPE '!' ORDER BY 2 DESC, C1",
      "SELECT DECIMAL(C1, 5, 2), SUBSTR(C2, 1, 3), CURRENT DATE - 1 YEAR + C5 DAYS, VALUE(C6, 0) FROM T "
      "WHERE (C1 = 1 OR C2 IS NOT NULL) AND C3 <> 4",
      "DDL CREATE VIEW S.V (A, B) AS SELECT C1 AS A, 'k' FROM Q.T WITH LOCAL CHECK OPTION;\n"
      "CREATE VIEW V2 AS SELECT C9 FROM T2",
      "WHERE CASE WHEN A > 1 THEN TIMESTAMP(C1, C2) ELSE CHAR(C3, ISO) END = X'41' || G'' ",
      "ORDER BY C1 A, \"c2\" D, 3",
  };
  const std::vector<std::string> pieces = {"(", ")", ",", "'", "\"", "*", " SELECT ", " FROM ", " WHERE ",
                                           " ORDER ", " CASE ", " WHEN ", " END ", " AND ", " NOT ", "--",
                                           "\n", "1E999", "99999999999999999999999999999999", "-", "||",
                                           " DDL ", " IN ", " ESCAPE ", "\x0e", "\xff"};
  std::mt19937 rng(20261210);
  int aiResults[3] = {0, 0, 0};
  for (int iRound = 0; iRound < 3000; iRound++) {
    std::string text = seeds[rng() % seeds.size()];
    int iEdits = 1 + static_cast<int>(rng() % 4);
    for (int i = 0; i < iEdits && !text.empty(); i++) {
      size_t ulAt = rng() % text.size();
      switch (rng() % 4) {
        case 0: text.erase(ulAt, 1 + rng() % 6); break;
        case 1: text.insert(ulAt, pieces[rng() % pieces.size()]); break;
        case 2: text[ulAt] = static_cast<char>(rng() % 256); break;
        default: text.insert(ulAt, text.substr(rng() % text.size(), rng() % 12)); break;
      }
    }
    /* the lexer alone, over the same contexts */
    {
      ostream *pstream = ostreamCreateFromBuffer(text.data(), static_cast<int32_t>(text.size()));
      oyacc yacc;
      ASSERT_EQ(oyaccInitItemized(&yacc, aplexContextDefDb2, pstream, '\'', '"', '.', 850, 0, 0, 0), 0);
      zortokensValue value;
      ostreamLocation loc;
      int iCount = 0;
      for (int iId; (iId = olexGet(&value, &loc, yacc.plex)) != 0 && iCount < 10000; iCount++)
        FreeLexeme(iId, &value);
      ASSERT_LT(iCount, 10000) << text;
      oyaccDelete(&yacc);
    }
    Parse parse = ParseText(text);
    ASSERT_TRUE(parse.rc >= 0 && parse.rc <= 2) << text;
    aiResults[parse.rc]++;
  }
  /* the mutations reach both outcomes */
  EXPECT_GT(aiResults[0], 100);
  EXPECT_GT(aiResults[1], 100);
}

} // namespace
