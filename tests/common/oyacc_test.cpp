/*
** oyacc_test.cpp
**   Parser contexts: a generated pure parser (oyacc_test.y) driven by the
**   lexer through a parser context, with its locations, a syntax error at
**   its line and column, a range check, a sub-stream parsed in a nested
**   context and the 200-entry state stack; then the context's own
**   operations: initialisers and ownership, rule-text extraction, the range
**   check.
*/
#include "common/oyacc.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/ochar.h"
#include "oyacc_test_parser.h"

namespace {

struct Record {
  std::string sKind;
  ostreamLocation loc;
  std::string sText;
};
std::vector<Record> gvRecords;

struct Parse {
  int rc;
  int iErrorLevel;
  std::vector<Record> vRecords;
};

Parse parse(const std::string &sText)
{
  gvRecords.clear();
  ostream *pstream = ostreamCreateFromBuffer(sText.data(), static_cast<int32_t>(sText.size()));
  oyacc yacc;
  EXPECT_EQ(oyaccInitItemized(&yacc, aplexContextDefTst, pstream, '\'', '"', '.', 850, 0, 0, 1), 0);
  int rc = tstparse(&yacc);
  Parse p{rc, yacc.iErrorLevel, gvRecords};
  oyaccDelete(&yacc);
  return p;
}

void expectLoc(const ostreamLocation &loc, int iFirstLine, int iFirstColumn, int iLastLine, int iLastColumn)
{
  EXPECT_EQ(loc.first_line, iFirstLine);
  EXPECT_EQ(loc.first_column, iFirstColumn);
  EXPECT_EQ(loc.last_line, iLastLine);
  EXPECT_EQ(loc.last_column, iLastColumn);
}

}  // namespace

void oyaccTestRecord(const char *pcKind, const ostreamLocation *ploc, const char *pcText, int iLength)
{
  gvRecords.push_back(Record{pcKind, *ploc, iLength < 0 ? std::string(pcText) : std::string(pcText, iLength)});
}

namespace {

TEST(oyaccParser, ReducesWithLocationsAndRuleText)
{
  Parse p = parse("UNLOAD tab1 LIMIT 5;\n"
                  "  SELECT A, B\n"
                  "    FROM T.X ;\n"
                  "UNLOAD \"Tab 2\";");
  EXPECT_EQ(p.rc, 0);
  EXPECT_EQ(p.iErrorLevel, 0);
  ASSERT_EQ(p.vRecords.size(), 11u);

  EXPECT_EQ(p.vRecords[0].sKind, "unload");
  EXPECT_EQ(p.vRecords[0].sText, "TAB1");
  expectLoc(p.vRecords[0].loc, 1, 1, 1, 21);

  EXPECT_EQ(p.vRecords[1].sKind, "select");
  EXPECT_EQ(p.vRecords[1].sText, "SELECT A, B\n    FROM T.X ");
  expectLoc(p.vRecords[1].loc, 2, 3, 3, 15);

  /* The statement lexed again from its sub-stream keeps the file's numbering. */
  struct {
    int aiLoc[4];
  } aSub[] = {{{2, 3, 2, 9}}, {{2, 10, 2, 11}}, {{2, 11, 2, 12}}, {{2, 13, 2, 14}},
              {{3, 5, 3, 9}}, {{3, 10, 3, 11}}, {{3, 11, 3, 12}}, {{3, 12, 3, 13}}};
  for (size_t i = 0; i < 8; i++) {
    EXPECT_EQ(p.vRecords[2 + i].sKind, "sub");
    expectLoc(p.vRecords[2 + i].loc, aSub[i].aiLoc[0], aSub[i].aiLoc[1], aSub[i].aiLoc[2], aSub[i].aiLoc[3]);
  }

  EXPECT_EQ(p.vRecords[10].sKind, "unload");
  EXPECT_EQ(p.vRecords[10].sText, "Tab 2");   /* delimited: case kept */
  expectLoc(p.vRecords[10].loc, 4, 1, 4, 16);
}

TEST(oyaccParser, SyntaxErrorsAreReportedAtTheirLineAndColumn)
{
  struct Case {
    std::string sText;
    int aiLoc[4];    /* location of the offending lexeme */
  } aCases[] = {
      {"UNLOAD a;\n\nUNLOAD 5 ;\nUNLOAD b;", {3, 8, 3, 9}},
      {"UNLOAD a;\n  UNLOAD !x;\nUNLOAD b;", {2, 10, 2, 11}},   /* an error lexeme */
      {"UNLOAD a;\nUNLOAD 'text' ;\nUNLOAD b;", {2, 8, 2, 14}},
  };
  for (const Case &c : aCases) {
    Parse p = parse(c.sText);
    EXPECT_EQ(p.rc, 0) << c.sText;   /* recovered */
    EXPECT_EQ(p.iErrorLevel, 8);
    ASSERT_EQ(p.vRecords.size(), 4u) << c.sText;
    EXPECT_EQ(p.vRecords[0].sText, "A");
    EXPECT_EQ(p.vRecords[1].sKind, "error");
    EXPECT_EQ(p.vRecords[1].sText, "syntax error");
    expectLoc(p.vRecords[1].loc, c.aiLoc[0], c.aiLoc[1], c.aiLoc[2], c.aiLoc[3]);
    EXPECT_EQ(p.vRecords[2].sKind, "recovered");
    EXPECT_EQ(p.vRecords[3].sText, "B");
  }
  /* An unrecoverable error at the end of the text abandons the parse. */
  Parse p = parse("UNLOAD a;\nUNLOAD");
  EXPECT_EQ(p.rc, 1);
  ASSERT_EQ(p.vRecords.size(), 2u);
  expectLoc(p.vRecords[1].loc, 2, 7, 2, 7);
}

TEST(oyaccParser, RangeCheckedOperand)
{
  Parse p = parse("UNLOAD a LIMIT 500;");
  EXPECT_EQ(p.rc, 0);
  EXPECT_EQ(p.iErrorLevel, 16);
  ASSERT_EQ(p.vRecords.size(), 2u);
  EXPECT_EQ(p.vRecords[0].sKind, "range");
  expectLoc(p.vRecords[0].loc, 1, 16, 1, 19);
}

TEST(oyaccParser, StateStackHoldsTwoHundredEntries)
{
  auto nest = [](int n) { return std::string(n, '(') + std::string(n, ')') + ";"; };
  Parse pShallow = parse(nest(150));
  EXPECT_EQ(pShallow.rc, 0);
  ASSERT_EQ(pShallow.vRecords.size(), 1u);
  EXPECT_EQ(pShallow.vRecords[0].sKind, "nest");
  Parse pDeep = parse(nest(250));
  EXPECT_EQ(pDeep.rc, 2);
}

/* A parser context over a text, with its lexer read up to a given lexeme. */
struct Context {
  std::string sText;
  oyacc yacc;
  explicit Context(const std::string &s) : sText(s)
  {
    ostream *pstream = ostreamCreateFromBuffer(sText.data(), static_cast<int32_t>(sText.size()));
    EXPECT_EQ(oyaccInitItemized(&yacc, aplexContextDefTst, pstream, '\'', '"', '.', 850, 0, 0, 0), 0);
  }
  ~Context() { oyaccDelete(&yacc); }
  std::vector<ostreamLocation> locations()
  {
    std::vector<ostreamLocation> v;
    olexValue value;
    ostreamLocation loc;
    for (int iId; (iId = olexGet(&value, &loc, yacc.plex)) != 0;) {
      if (iId == IDENT || iId == STRING || iId == ERRLEX) ocharDestroy(value.pchar);
      v.push_back(loc);
    }
    return v;
  }
};

std::string text(ochar *pchar)
{
  EXPECT_NE(pchar, nullptr);
  if (pchar == nullptr) return "<null>";
  EXPECT_EQ(pchar->usCCSID, 850);
  std::string s(_charText(pchar), pchar->ilBU);
  ocharDestroy(pchar);
  return s;
}

TEST(oyacc, ExtractsTheTextBetweenLocations)
{
  Context ctx("SELECT A FROM T");
  std::vector<ostreamLocation> v = ctx.locations();
  ASSERT_EQ(v.size(), 4u);
  /* The last lexeme ends the text: its end position is still in reach. */
  EXPECT_EQ(text(oyaccExtractRulesString(&ctx.yacc, &v[0], &v[3])), "SELECT A FROM T ");
  EXPECT_EQ(text(oyaccExtractRulesString(&ctx.yacc, &v[1], &v[2])), "A FROM ");
  EXPECT_EQ(text(oyaccExtractRuleString(&ctx.yacc, &v[2])), "FROM ");
  /* Reversed and empty spans give one blank. */
  EXPECT_EQ(text(oyaccExtractRulesString(&ctx.yacc, &v[3], &v[0])), " ");
  ostreamLocation locEmpty = {1, 9, 1, 9, 0};
  EXPECT_EQ(text(oyaccExtractRuleString(&ctx.yacc, &locEmpty)), " ");

  ostream *psub = oyaccCreateSubStream(&ctx.yacc, &v[1], &v[2]);
  ASSERT_NE(psub, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<const char *>(psub->pcBuffer), psub->iSize), "A FROM");
  ostreamDestroy(psub);
}

TEST(oyacc, InitialisersAndOwnership)
{
  /* Result words start at zero whatever the storage held. */
  oyacc yacc;
  std::memset(&yacc, 0xAB, sizeof yacc);
  std::string sText = "UNLOAD x;";
  oyaccLexDesc *pdesc = static_cast<oyaccLexDesc *>(std::calloc(1, sizeof(oyaccLexDesc)));
  *pdesc = oyaccLexDesc{850, 300, 939, '\'', '"', '.', 1};
  ostream *pstream = ostreamCreateFromBuffer(sText.data(), static_cast<int32_t>(sText.size()));
  ASSERT_EQ(oyaccInit(&yacc, pdesc, aplexContextDefTst, pstream), 0);
  EXPECT_EQ(yacc.ptaskResult, nullptr);
  EXPECT_EQ(yacc.pvalResult, nullptr);
  EXPECT_EQ(yacc.plistResult, nullptr);
  EXPECT_EQ(yacc.pnodeCondition, nullptr);
  EXPECT_EQ(yacc.iErrorLevel, 0);
  EXPECT_EQ(yacc.pnameResult, nullptr);
  EXPECT_EQ(yacc.ulParseStatus, 0u);
  EXPECT_EQ(yacc.ulOwnFlags, 0u);
  EXPECT_EQ(yacc.plex->pstream, pstream);
  EXPECT_EQ(yacc.plex->usCcsidDBCS, 300);
  EXPECT_EQ(yacc.plex->usCcsidMixed, 939);
  EXPECT_TRUE(yacc.plex->ulFlags & OLEX_FLAG_MIXED);

  /* A nested context without a stream of its own borrows the parent's. */
  EXPECT_EQ(olexGet(nullptr, nullptr, yacc.plex), K_UNLOAD);
  oyacc yaccNested;
  ASSERT_EQ(oyaccInitFromYacc(&yaccNested, &yacc, nullptr, aplexContextDefTst), 0);
  EXPECT_EQ(yaccNested.ulOwnFlags, static_cast<uint32_t>(OYACC_STREAM_BORROWED | OYACC_DESC_BORROWED));
  EXPECT_EQ(yaccNested.pdesc, pdesc);
  EXPECT_EQ(olexGet(nullptr, nullptr, yaccNested.plex), IDENT);   /* reads on where the parent stopped */
  EXPECT_EQ(oyaccDelete(&yaccNested), 0);
  EXPECT_EQ(yaccNested.pstream, nullptr);
  EXPECT_EQ(olexGet(nullptr, nullptr, yacc.plex), S_SEMI);         /* the parent's stream lives on */
  EXPECT_EQ(oyaccDelete(&yacc), 0);                                 /* frees stream and description */
  EXPECT_EQ(oyaccDelete(&yacc), 0);                                 /* cleared: a second delete is harmless */

  /* Allocated contexts; a definition set that builds no context fails. */
  oyaccLexDesc desc{850, 0, 0, '\'', '"', '.', 0};
  const olexContextDef *const apNone[] = {nullptr};
  ostream *pstream2 = ostreamCreateFromBuffer(sText.data(), static_cast<int32_t>(sText.size()));
  EXPECT_EQ(oyaccCreate(&desc, apNone, pstream2), nullptr);
  oyacc *pyacc = oyaccCreate(static_cast<oyaccLexDesc *>(std::calloc(1, sizeof desc)), aplexContextDefTst, pstream2);
  ASSERT_NE(pyacc, nullptr);
  oyaccDelete(pyacc);
  std::free(pyacc);

  oyacc yaccBad;
  EXPECT_EQ(oyaccInitItemized(&yaccBad, apNone, nullptr, '\'', '"', '.', 850, 0, 0, 0), OLEX_ERR_CONTEXT);
  oyaccDelete(&yaccBad);
}

TEST(oyacc, CheckIntegerRange)
{
  struct {
    int64_t iValue, iMin, iMax;
    int iExpected;
  } aCases[] = {{5, 1, 5, 1}, {1, 1, 5, 1}, {0, 1, 5, 0}, {6, 1, 5, 0}, {-3, -5, -1, 1}, {4, 5, 1, 0}};
  for (const auto &c : aCases)
    EXPECT_EQ(oyaccCheckIntegerRange(c.iValue, c.iMin, c.iMax), c.iExpected) << c.iValue;
}

}  // namespace
