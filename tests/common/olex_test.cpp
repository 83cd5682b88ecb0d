/*
** olex_test.cpp
**   The lexer driven by small context definitions that resemble the
**   program's languages: a two-context control-file language, an SQL-like
**   expression context, and contexts that switch on the rarer classes
**   (floats, misc, regex, blanks, text, ends of line, kept case).  Each table
**   gives (context set, text) and the lexemes expected: id, value, and the
**   error code of failed lexemes.
*/
#include "common/olex.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "common/ochar.h"
#include "common/ostack.h"

namespace {

/* Base id of class k is 100 + k; keywords 1000+, separators 2000+, operators 3000+. */
enum {
  ERR = 105, INT = 106, BIG = 107, DEC = 108, FLT = 109, VAL = 110, STR = 111, DID = 112,
  IDT = 113, BLK = 114, MSC = 115, EOL = 116, RGX = 117, TXT = 118
};
enum { K_GLOBAL = 1001, K_UNLOAD, K_TABLESPACE, K_SELECT, K_FROM, K_AND, K_WHERE, K_BEGIN, K_END, K_RESET, K_BACK };
enum { S_LPAR = 2001, S_RPAR, S_COMMA, S_SEMI, S_DOT };
enum { O_LE = 3001, O_LT, O_EQ, O_GE, O_GT, O_NE, O_PLUS, O_MINUS, O_STAR };

#define KW(id, text, action, target) {id, OLEX_KA(OLEX_ENTRY_KEYWORD, action), target, text}
#define SEP(id, text) {id, OLEX_KA(OLEX_ENTRY_SEPARATOR, 0), 0, text}
#define OPR(id, text) {id, OLEX_KA(OLEX_ENTRY_OPERATOR, 0), 0, text}
#define BASE(cls) {100 + (cls), OLEX_KA(OLEX_ENTRY_BASE, 0), cls, nullptr}
#define ALL_BASES                                                                                  \
  BASE(5), BASE(6), BASE(7), BASE(8), BASE(9), BASE(10), BASE(11), BASE(12), BASE(13), BASE(14), \
      BASE(15), BASE(16), BASE(17), BASE(18)
#define END_ENTRIES {0, 0, 0, nullptr}

/* Control-file language: context 1 until UNLOAD, then context 2 for good. */
const olexDefEntry aCtl1[] = {KW(K_GLOBAL, "GLOBAL", 0, 0), KW(K_UNLOAD, "UNLOAD", OLEX_ACTION_SWITCH, 2),
                              SEP(S_LPAR, "("), SEP(S_RPAR, ")"), SEP(S_COMMA, ","), SEP(S_SEMI, ";"),
                              ALL_BASES, END_ENTRIES};
const olexDefEntry aCtl2[] = {KW(K_UNLOAD, "UNLOAD", 0, 0), KW(K_TABLESPACE, "TABLESPACE", 0, 0),
                              KW(K_SELECT, "SELECT", 0, 0), SEP(S_LPAR, "("), SEP(S_RPAR, ")"),
                              SEP(S_COMMA, ","), SEP(S_SEMI, ";"), SEP(S_DOT, "."), ALL_BASES, END_ENTRIES};
const olexContextDef ctl1 = {1, 0x2F9, 0, 0, 0, aCtl1};
const olexContextDef ctl2 = {2, 0x2F9, 0, 0, 0, aCtl2};
const olexContextDef *const apCtl[] = {&ctl1, &ctl2, nullptr};
const olexContextDef *const apCtl2[] = {&ctl2, nullptr};   /* starts in context 2 */

/* SQL-like expression context (mask 0x21FF), entered from a keyword context. */
const olexDefEntry aSqlHead[] = {KW(K_SELECT, "SELECT", OLEX_ACTION_RESET, 12),
                                 KW(K_WHERE, "WHERE", OLEX_ACTION_RESET, 12), ALL_BASES, END_ENTRIES};
const olexDefEntry aSqlExpr[] = {
    KW(K_SELECT, "SELECT", 0, 0), KW(K_FROM, "FROM", 0, 0), KW(K_AND, "AND", 0, 0),
    SEP(S_LPAR, "("), SEP(S_RPAR, ")"), SEP(S_COMMA, ","), SEP(S_DOT, "."), SEP(S_SEMI, ";"),
    OPR(O_LE, "<="), OPR(O_LT, "<"), OPR(O_EQ, "="), OPR(O_GE, ">="), OPR(O_GT, ">"),
    OPR(O_NE, "<>"), OPR(O_PLUS, "+"), OPR(O_MINUS, "-"), OPR(O_STAR, "*"), ALL_BASES, END_ENTRIES};
const olexContextDef sqlHead = {13, 0x88, 0, 0, 0, aSqlHead};
const olexContextDef sqlExpr = {12, 0x21FF, 0, 0, 0, aSqlExpr};
const olexContextDef *const apSql[] = {&sqlHead, &sqlExpr, nullptr};
const olexContextDef *const apExpr[] = {&sqlExpr, nullptr};

/* Contexts for one class each, all with identifiers, keywords and commas. */
const olexDefEntry aPlain[] = {KW(K_SELECT, "SELECT", 0, 0), SEP(S_COMMA, ","), ALL_BASES, END_ENTRIES};
const olexContextDef intOnly = {1, 0x1 | 0x8 | 0x40 | 0x80, 0, 0, 0, aPlain};
const olexContextDef bigOnly = {1, 0x2000 | 0x1 | 0x8 | 0x40, 0, 0, 0, aPlain};
const olexContextDef floatOnly = {1, 0x1 | 0x4 | 0x8 | 0x40 | 0x80, 0, 0, 0, aPlain};
const olexContextDef commaDecimal = {1, 0x1 | 0x2 | 0x4 | 0x40, 0, 0, ',', aPlain};
const olexContextDef miscRegex = {1, 0x1 | 0x8 | 0x40 | 0x80 | 0x400 | 0x800, 0, 0, 0, aPlain};
const olexContextDef miscOnly = {1, 0x1 | 0x8 | 0x40 | 0x80 | 0x400, 0, 0, 0, aPlain};
const olexContextDef blanks = {1, 0x40 | 0x80000, 0, 0, 0, aPlain};
const olexContextDef textQuoted = {1, 0x40 | 0x1000, 0, 0, 0, aPlain};
const olexContextDef keepCase = {1, 0x40 | 0x80 | 0x100000, 0, 0, 0, aPlain};
const olexContextDef eolLines = {1, 0x1 | 0x40 | 0x80 | 0x20000, 0, 0, 0, aPlain};
const olexContextDef apostrophes = {1, 0x21FF, '\'', '\'', 0, aPlain};
const olexContextDef *const apApostrophes[] = {&apostrophes, nullptr};
const olexContextDef *const apIntOnly[] = {&intOnly, nullptr};
const olexContextDef *const apBigOnly[] = {&bigOnly, nullptr};
const olexContextDef *const apFloat[] = {&floatOnly, nullptr};
const olexContextDef *const apComma[] = {&commaDecimal, nullptr};
const olexContextDef *const apMiscRegex[] = {&miscRegex, nullptr};
const olexContextDef *const apMisc[] = {&miscOnly, nullptr};
const olexContextDef *const apBlanks[] = {&blanks, nullptr};
const olexContextDef *const apText[] = {&textQuoted, nullptr};
const olexContextDef *const apKeepCase[] = {&keepCase, nullptr};
const olexContextDef *const apEol[] = {&eolLines, nullptr};

/* Push, pop, reset and switch between three contexts. */
const olexDefEntry aNest1[] = {KW(K_BEGIN, "BEGIN", OLEX_ACTION_PUSH, 2), ALL_BASES, END_ENTRIES};
const olexDefEntry aNest2[] = {KW(K_BEGIN, "BEGIN", OLEX_ACTION_PUSH, 2), KW(K_END, "END", OLEX_ACTION_POP, 0),
                               KW(K_RESET, "RESET", OLEX_ACTION_RESET, 3), ALL_BASES, END_ENTRIES};
const olexDefEntry aNest3[] = {KW(K_BACK, "BACK", OLEX_ACTION_SWITCH, 1), KW(K_END, "END", OLEX_ACTION_POP, 0),
                               ALL_BASES, END_ENTRIES};
const olexContextDef nest1 = {1, 0xE9, 0, 0, 0, aNest1};
const olexContextDef nest2 = {2, 0xE9, 0, 0, 0, aNest2};
const olexContextDef nest3 = {3, 0xE9, 0, 0, 0, aNest3};
const olexContextDef *const apNest[] = {&nest1, &nest2, &nest3, nullptr};

const uint16_t SBCS = 850, MIXED = 939, DBCS = 300;

/* One lexeme as the tests see it. */
struct Lx {
  int iId;
  std::string sValue;
  int iError;
  bool operator==(const Lx &o) const { return iId == o.iId && sValue == o.sValue && iError == o.iError; }
};

std::ostream &operator<<(std::ostream &os, const Lx &lx)
{
  char ac[16];
  std::snprintf(ac, sizeof ac, "%X", lx.iError);
  return os << "{" << lx.iId << ", \"" << lx.sValue << "\", 0x" << ac << "}";
}

std::string escape(const char *pc, int iLength)
{
  std::string s;
  for (int i = 0; i < iLength; i++) {
    unsigned char c = static_cast<unsigned char>(pc[i]);
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      s.push_back(static_cast<char>(c));
    } else {
      char ac[8];
      std::snprintf(ac, sizeof ac, "\\x%02X", c);
      s += ac;
    }
  }
  return s;
}

/* Renders a value by the class of its id and frees what it holds. */
std::string take(int iId, olexValue &v)
{
  int iClass = iId >= 100 && iId <= 118 ? iId - 100 : -1;
  char ac[64];
  switch (iClass) {
    case 6: return std::to_string(v.i);
    case 7: return std::to_string(v.ll);
    case 9: std::snprintf(ac, sizeof ac, "%g", v.d); return ac;
    case 10: return std::to_string(v.val.iUnit) + ":" + std::to_string(v.val.iNumber);
    case 8: {
      unsigned char *pc = v.pcDecimal;
      std::string s = "p" + std::to_string(pc[0]) + "s" + std::to_string(pc[1]) + ":";
      std::string sDigits;
      for (int i = 2; i < 18; i++) {
        std::snprintf(ac, sizeof ac, "%02X", pc[i]);
        sDigits += ac;
      }
      /* 32 nibbles: 31 digits and the sign; keep the last precision digits and the sign. */
      s += sDigits.substr(31 - pc[0]);
      std::free(pc);
      return s;
    }
    case 5: case 11: case 12: case 13: case 14: case 15: case 17: case 18: {
      ochar *pchar = v.pchar;
      if (pchar == nullptr) return "<null>";
      std::string s = escape(_charText(pchar), pchar->ilBU);
      ocharDestroy(pchar);
      return s;
    }
    default:
      return v.ll == 0 ? "" : "<nonzero>";
  }
}

struct Lexer {
  std::string sText;
  ostream *pstream = nullptr;
  olex *plex = nullptr;
  Lexer(const olexContextDef *const *ppdefs, const std::string &s, int iMixed = 0) : sText(s)
  {
    pstream = ostreamCreateFromBuffer(sText.data(), static_cast<int32_t>(sText.size()));
    plex = olexCreate();
    olexSetStream(plex, pstream);
    EXPECT_EQ(olexInit(plex, ppdefs, '\'', '"', '.', SBCS, MIXED, DBCS, iMixed), 0);
  }
  ~Lexer()
  {
    olexDestroy(plex);
    ostreamDestroy(pstream);
  }
  Lx next(ostreamLocation *ploc = nullptr)
  {
    olexValue v;
    std::memset(&v, 0x5A, sizeof v);
    ostreamLocation loc;
    int iId = olexGet(&v, ploc != nullptr ? ploc : &loc, plex);
    int iError = iId == ERR ? plex->iErrorCode : 0;
    return Lx{iId, take(iId, v), iError};
  }
  std::vector<Lx> all()
  {
    std::vector<Lx> v;
    for (int i = 0; i < 40; i++) {
      Lx lx = next();
      if (lx.iId == 0) break;
      v.push_back(lx);
    }
    return v;
  }
};

struct Case {
  const olexContextDef *const *ppdefs;
  std::string sText;
  std::vector<Lx> vExpected;
};

void runCases(const std::vector<Case> &vCases, int iMixed = 0)
{
  for (const Case &c : vCases) {
    Lexer lexer(c.ppdefs, c.sText, iMixed);
    EXPECT_EQ(lexer.all(), c.vExpected) << "text: " << escape(c.sText.data(), static_cast<int>(c.sText.size()));
  }
}

TEST(olex, Numbers)
{
  runCases({
      {apExpr, "2147483647", {{INT, "2147483647", 0}}},
      {apExpr, "2147483648", {{BIG, "2147483648", 0}}},
      {apCtl, "-2147483648 +7", {{INT, "-2147483648", 0}, {INT, "7", 0}}},
      {apCtl, "2147483648", {{ERR, "2147483648", 0xFA00A}}},
      {apIntOnly, "2147483648", {{ERR, "2147483648", 0xFA005}}},
      {apBigOnly, "9223372036854775807 9223372036854775808",
       {{BIG, "9223372036854775807", 0}, {ERR, "9223372036854775808", 0xFA006}}},
      {apExpr, "12345678901234567890", {{DEC, "p20s0:12345678901234567890C", 0}}},
      {apExpr, "1234567890123456789012345678901", {{DEC, "p31s0:1234567890123456789012345678901C", 0}}},
      {apExpr, "12345678901234567890123456789012", {{ERR, "12345678901234567890123456789012", 0xFA007}}},
      {apExpr, "12.50 .5 5.", {{DEC, "p4s2:1250C", 0}, {DEC, "p1s1:5C", 0}, {DEC, "p1s0:5C", 0}}},
      /* A second point ends the number where the point is also a separator. */
      {apExpr, "1.2.3", {{DEC, "p2s1:12C", 0}, {DEC, "p1s1:3C", 0}}},
      {apFloat, "1E5 1.5E-3 .5 2e+2", {{FLT, "100000", 0}, {FLT, "0.0015", 0}, {FLT, "0.5", 0}, {FLT, "200", 0}}},
      {apFloat, "1E5E", {{ERR, "1E5E", 0xFA001}}},
      {apFloat, "1E999", {{ERR, "1E999", 0xFA008}}},
      {apComma, "1,5 ,25 -12,5 +0,0", {{DEC, "p2s1:15C", 0}, {DEC, "p2s2:25C", 0}, {DEC, "p3s1:125D", 0},
                                        {DEC, "p2s1:00C", 0}}},
      /* Without bigints, an integer too large for 32 bits becomes a float. */
      {apComma, "-12345678901234567890", {{FLT, "-1.23457e+19", 0}}},
      {apCtl, "10K 10k 7M 3g 0", {{VAL, "1:10", 0}, {VAL, "1:10", 0}, {VAL, "2:7", 0}, {VAL, "3:3", 0}, {INT, "0", 0}}},
      {apCtl, "10KB", {{ERR, "10KB", 0xFA001}}},
      {apCtl, "10X", {{ERR, "10X", 0xFA001}}},
      {apCtl, "10K5", {{ERR, "10K5", 0xFA00A}}},
      {apCtl, "99999999999K", {{ERR, "99999999999K", 0xFA00A}}},
  });
}

TEST(olex, DecimalPointBelongsToNumbersOnlyWhereTheContextHasThem)
{
  runCases({
      /* Context 1: no decimals and the full stop is no separator. */
      {apCtl, "1.5", {{ERR, "1.", 0xFA001}, {INT, "5", 0}}},
      /* Context 2: the full stop is a separator. */
      {apCtl2, "1.5", {{INT, "1", 0}, {S_DOT, "", 0}, {INT, "5", 0}}},
      {apExpr, "T.C 1.5", {{IDT, "T", 0}, {S_DOT, "", 0}, {IDT, "C", 0}, {DEC, "p2s1:15C", 0}}},
  });
}

TEST(olex, StringsAndDelimitedIdentifiers)
{
  runCases({
      {apExpr, "'It''s' '' 'a''' ", {{STR, "It's", 0}, {STR, "", 0}, {STR, "a'", 0}}},
      {apExpr, "'abc", {{ERR, "'abc", 0xFB002}}},
      {apExpr, "'abc\n", {{ERR, "'abc\\x0A", 0xFB002}}},
      {apExpr, "\"a b\" abc \"Mixed\"\"Q\"", {{DID, "a b", 0}, {IDT, "ABC", 0}, {DID, "Mixed\"Q", 0}}},
      {apExpr, "\"abc", {{ERR, "\"abc", 0xFB003}}},
      /* A quoted text glued to other bytes is no string. */
      {apExpr, "'ab'cd", {{ERR, "'ab'c", 0xFA001}, {IDT, "D", 0}}},
      {apMisc, "'ab'cd x", {{MSC, "'ab'cd", 0}, {IDT, "X", 0}}},
      /* A quote whose class the context lacks, and one that is neither delimiter. */
      {apIntOnly, "'x", {{ERR, "'", 0xFA001}, {IDT, "X", 0}}},
      {apApostrophes, "\"x 'y'", {{ERR, "\"", 0xFA001}, {IDT, "X", 0}, {DID, "y", 0}}},
      /* Text class: quoted with the string delimiter where strings are not accepted. */
      {apText, "'a''b' c", {{TXT, "a'b", 0}, {IDT, "C", 0}}},
      /* 0xFF inside a string and as a byte of its own is data, not the end. */
      {apExpr, "'a\xFF" "b' \xFF x", {{STR, "a\\xFFb", 0}, {ERR, "\\xFF", 0xFA001}, {IDT, "X", 0}}},
  });
}

TEST(olex, SpecialStrings)
{
  const std::string SO = "\x0E", SI = "\x0F";
  runCases({
      {apExpr, "X'41' x'4a4B'", {{STR, "A", 0}, {STR, "JK", 0}}},
      {apExpr, "X'4' X'4G'", {{ERR, "X'4'", 0xFA004}, {ERR, "X'4G'", 0xFA004}}},
      {apExpr, "GX'00410042' UX'0041'", {{STR, "\\x00A\\x00B", 0}, {STR, "\\x00A", 0}}},
      {apExpr, "GX'0041' UX'00'", {{STR, "\\x00A", 0}, {ERR, "UX'00'", 0xFA004}}},
      {apExpr, "X'41", {{ERR, "X'41", 0xFB005}}},
      {apExpr, "GX'41", {{ERR, "GX'41", 0xFB005}}},
      {apExpr, "UX'41", {{ERR, "UX'41", 0xFB002}}},
      {apExpr, "GA'x'", {{IDT, "GA", 0}, {STR, "x", 0}}},
      {apExpr, "XY 'q'", {{IDT, "XY", 0}, {STR, "q", 0}}},
      {apExpr, "G'" + SO + "ab" + SI + "' N'' G''",
       {{STR, "ab", 0}, {STR, "", 0}, {STR, "", 0}}},
      {apExpr, "G'ab'", {{ERR, "G'ab'", 0xFA003}}},
      /* The end of the text outweighs the earlier malformed byte. */
      {apExpr, "G'a", {{ERR, "G'a", 0xFB004}}},
      /* Words at the very end of the text go through the at-end chain. */
      {apExpr, "x", {{IDT, "X", 0}}},
      {apExpr, "G", {{IDT, "G", 0}}},
      {apExpr, "SELECT", {{K_SELECT, "", 0}}},
  });
}

TEST(olex, SpecialStringValuesCarryTheirCodePages)
{
  Lexer lexer(apExpr, "X'41' GX'00410042' UX'0041' 'a' \"b\" c");
  uint16_t ausExpected[] = {0xFFFF, DBCS, 1200, SBCS, SBCS, SBCS};
  for (uint16_t usCcsid : ausExpected) {
    olexValue v;
    int iId = olexGet(&v, nullptr, lexer.plex);
    ASSERT_TRUE(iId == STR || iId == DID || iId == IDT) << iId;
    EXPECT_EQ(v.pchar->usCCSID, usCcsid);
    ocharDestroy(v.pchar);
  }
}

TEST(olex, MixedStringsAndDoubleByteIdentifiers)
{
  const std::string SO = "\x0E", SI = "\x0F";
  /* With the mixed flag a quote inside a double-byte section is data. */
  runCases({{apExpr, "'a" + SO + "''" + SI + "b' x", {{STR, "a\\x0E''\\x0Fb", 0}, {IDT, "X", 0}}},
            {apExpr, "\"a" + SO + "\"\"" + SI + "\"", {{DID, "a\\x0E\"\"\\x0F", 0}}},
            {apExpr, "'a" + SO + "''" + SI + "''b'", {{STR, "a\\x0E''\\x0F'b", 0}}},
            {apExpr, "'a" + SO + "xy", {{ERR, "'a\\x0Exy", 0xFB002}}}},
           1);
  /* Without it the same bytes are a single-byte string with a doubled quote. */
  runCases({{apExpr, "'a" + SO + "''" + SI + "b' x", {{STR, "a\\x0E'\\x0Fb", 0}, {IDT, "X", 0}}}});
  runCases({
      {apExpr, SO + "\x42\x43" + SI + " x", {{IDT, "\\x0EBC\\x0F", 0}, {IDT, "X", 0}}},
      {apExpr, SO + "\x42\x43\x40\x40" + SI + " ", {{ERR, "\\x0EBC@@\\x0F", 0xFA009}}},
      {apExpr, SO + "\x42\x43" + SI, {{IDT, "\\x0EBC\\x0F", 0}}},
      {apExpr, SO + "\x42\x43", {{ERR, "\\x0EBC", 0xFB003}}},
  });
  Lexer lexer(apExpr, SO + "\x42\x43" + SI + " '" + SO + "ab" + SI + "'", 1);
  olexValue v;
  ASSERT_EQ(olexGet(&v, nullptr, lexer.plex), IDT);
  EXPECT_EQ(v.pchar->usCCSID, MIXED);
  ocharDestroy(v.pchar);
  ASSERT_EQ(olexGet(&v, nullptr, lexer.plex), STR);
  EXPECT_EQ(v.pchar->usCCSID, MIXED);
  ocharDestroy(v.pchar);
}

TEST(olex, KeywordsIdentifiersAndContextSwitching)
{
  runCases({
      {apCtl, "UNLOAD TABLESPACE", {{K_UNLOAD, "", 0}, {K_TABLESPACE, "", 0}}},
      {apCtl, "unload tablespace", {{K_UNLOAD, "", 0}, {K_TABLESPACE, "", 0}}},
      /* TABLESPACE is only known after UNLOAD; GLOBAL only before it. */
      {apCtl, "TABLESPACE GLOBAL UNLOAD GLOBAL",
       {{IDT, "TABLESPACE", 0}, {K_GLOBAL, "", 0}, {K_UNLOAD, "", 0}, {IDT, "GLOBAL", 0}}},
      {apCtl, "UNLOAD,x", {{K_UNLOAD, "", 0}, {S_COMMA, "", 0}, {IDT, "X", 0}}},
      {apCtl, "my_Tab#1 $x @y", {{IDT, "MY_TAB#1", 0}, {IDT, "$X", 0}, {IDT, "@Y", 0}}},
      {apCtl, "!", {{ERR, "!", 0xFA001}}},
      {apCtl, "ab!c d", {{ERR, "ab!c ", 0xFA001}, {IDT, "D", 0}}},
      {apKeepCase, "select SELECT Abc", {{IDT, "select", 0}, {K_SELECT, "", 0}, {IDT, "Abc", 0}}},
      {apSql, "SELECT a", {{K_SELECT, "", 0}, {IDT, "A", 0}}},
      /* The head context knows no identifiers. */
      {apSql, "a b", {{ERR, "a ", 0xFA001}, {ERR, "b", 0xFC001}}},
  });
}

TEST(olex, OperatorsAreTheLongestRunThatIsOneOperator)
{
  runCases({
      {apExpr, "a<=b", {{IDT, "A", 0}, {O_LE, "", 0}, {IDT, "B", 0}}},
      {apExpr, "a <> b*2-1", {{IDT, "A", 0}, {O_NE, "", 0}, {IDT, "B", 0}, {O_STAR, "", 0}, {INT, "2", 0},
                              {O_MINUS, "", 0}, {INT, "1", 0}}},
      {apExpr, "<=> x", {{ERR, "<=> ", 0xFA001}, {IDT, "X", 0}}},
      {apExpr, "x >=", {{IDT, "X", 0}, {O_GE, "", 0}}},
      {apExpr, "(1,2);", {{S_LPAR, "", 0}, {INT, "1", 0}, {S_COMMA, "", 0}, {INT, "2", 0}, {S_RPAR, "", 0},
                          {S_SEMI, "", 0}}},
  });
}

TEST(olex, MiscRegexBlanks)
{
  runCases({
      {apMiscRegex, "ab%c a_b %x _y", {{RGX, "AB%C", 0}, {IDT, "A_B", 0}, {RGX, "%X", 0}, {RGX, "_Y", 0}}},
      {apMiscRegex, "a-b c", {{RGX, "A-B", 0}, {IDT, "C", 0}}},
      {apMisc, "a-b !x ?", {{MSC, "a-b", 0}, {MSC, "!x", 0}, {MSC, "?", 0}}},
      {apMisc, "1E5E", {{MSC, "1E5E", 0}}},
      {apBlanks, "a  b\t", {{IDT, "A", 0}, {BLK, "  ", 0}, {IDT, "B", 0}, {BLK, "\\x09", 0}}},
  });
}

TEST(olex, CommentLinesStartInColumnOne)
{
  runCases({
      {apCtl, "-- comment\nGLOBAL -- not\n--\n  x", {{K_GLOBAL, "", 0}, {ERR, "-", 0xFA001}, {ERR, "-", 0xFA001},
                                                   {IDT, "NOT", 0}, {IDT, "X", 0}}},
      {apCtl, "    -- x", {{ERR, "-", 0xFA001}, {ERR, "-", 0xFA001}, {IDT, "X", 0}}},
      {apCtl, "-5\n- x", {{INT, "-5", 0}, {ERR, "-", 0xFA001}, {IDT, "X", 0}}},
      {apCtl, "-- only a comment", {}},
      {apCtl, "-", {{ERR, "-", 0xFA001}}},
  });
}

TEST(olex, EndOfTextAndEndOfLineLexemes)
{
  {
    Lexer lexer(apCtl, "");
    EXPECT_EQ(lexer.next(), (Lx{0, "", 0}));
    EXPECT_EQ(lexer.next(), (Lx{0, "", 0}));
  }
  {
    Lexer lexer(apEol, "");
    EXPECT_EQ(lexer.next(), (Lx{EOL, "", 0}));
    EXPECT_EQ(lexer.next(), (Lx{0, "", 0}));
    EXPECT_EQ(lexer.next(), (Lx{0, "", 0}));
  }
  {
    /* The comment's own line feed gives no end of line. */
    Lexer lexer(apEol, "a 1\n\n-- c\nb\n");
    std::vector<Lx> v = {{IDT, "A", 0}, {INT, "1", 0}, {EOL, "", 0}, {EOL, "", 0},
                         {IDT, "B", 0}, {EOL, "", 0},  {EOL, "", 0}, {0, "", 0}, {0, "", 0}};
    for (const Lx &lx : v) EXPECT_EQ(lexer.next(), lx);
  }
}

TEST(olex, LocationsAreInTheStreamsLinesAndColumns)
{
  Lexer lexer(apCtl, "GLOBAL\n  UNLOAD x\t'ab\ncd'\nlast");
  struct {
    int iId;
    ostreamLocation loc;
  } aExpected[] = {
      {K_GLOBAL, {1, 1, 1, 7, 0}},
      {K_UNLOAD, {2, 3, 2, 9, 0}},
      {IDT, {2, 10, 2, 11, 0}},
      {STR, {2, 12, 3, 4, 0}},
      {IDT, {4, 1, 4, 5, 0}},
      {0, {4, 5, 4, 5, 0}},
  };
  for (const auto &e : aExpected) {
    ostreamLocation loc;
    loc = ostreamLocation{77, 77, 77, 77, 77};
    Lx lx = lexer.next(&loc);
    EXPECT_EQ(lx.iId, e.iId);
    EXPECT_EQ(loc.first_line, e.loc.first_line) << e.iId;
    EXPECT_EQ(loc.first_column, e.loc.first_column) << e.iId;
    EXPECT_EQ(loc.last_line, e.loc.last_line) << e.iId;
    EXPECT_EQ(loc.last_column, e.loc.last_column) << e.iId;
    EXPECT_EQ(loc.iReserved, 0);
  }
}

TEST(olex, LexemesOfASubStreamAreLocatedInTheParent)
{
  std::string sText = "1\n2\n3\n4\n5\n6\nUNLOAD     SELECT A\n FROM T;\n";
  ostream *pparent = ostreamCreateFromBuffer(sText.data(), static_cast<int32_t>(sText.size()));
  size_t ulStart = sText.find("SELECT A"), ulEnd = sText.find(";");
  ostreamPos posFirst, posLast;
  ostreamSeek(pparent, static_cast<int32_t>(ulStart), OSTREAM_SEEK_SET);
  ostreamGetPos(pparent, &posFirst);
  ostreamSeek(pparent, static_cast<int32_t>(ulEnd), OSTREAM_SEEK_SET);
  ostreamGetPos(pparent, &posLast);
  ostream *psub = ostreamCreateSubStream(pparent, &posFirst, &posLast);
  olex *plex = olexCreate();
  olexSetStream(plex, psub);
  ASSERT_EQ(olexInit(plex, apSql, '\'', '"', '.', SBCS, MIXED, DBCS, 0), 0);
  struct {
    int iId;
    ostreamLocation loc;
  } aExpected[] = {
      {K_SELECT, {7, 12, 7, 18, 0}},
      {IDT, {7, 19, 7, 20, 0}},
      {K_FROM, {8, 2, 8, 6, 0}},
      {IDT, {8, 7, 8, 8, 0}},
  };
  for (const auto &e : aExpected) {
    olexValue v;
    ostreamLocation loc;
    int iId = olexGet(&v, &loc, plex);
    EXPECT_EQ(iId, e.iId);
    if (iId == IDT) ocharDestroy(v.pchar);
    EXPECT_EQ(loc.first_line, e.loc.first_line);
    EXPECT_EQ(loc.first_column, e.loc.first_column);
    EXPECT_EQ(loc.last_line, e.loc.last_line);
    EXPECT_EQ(loc.last_column, e.loc.last_column);
  }
  EXPECT_EQ(olexGet(nullptr, nullptr, plex), 0);
  olexDestroy(plex);
  ostreamDestroy(psub);
  ostreamDestroy(pparent);
}

TEST(olex, KeywordActionsMoveBetweenContexts)
{
  Lexer lexer(apNest, "BEGIN BEGIN END END END BEGIN RESET BACK x");
  struct {
    int iId;
    int iContext;   /* current context after the lexeme */
    int iDepth;
  } aExpected[] = {
      {K_BEGIN, 2, 1}, {K_BEGIN, 2, 2}, {K_END, 2, 1}, {K_END, 1, 0},
      {IDT, 1, 0},     /* END is no keyword in context 1 */
      {K_BEGIN, 2, 1}, {K_RESET, 3, 0}, {K_BACK, 1, 0}, {IDT, 1, 0},
  };
  for (const auto &e : aExpected) {
    EXPECT_EQ(lexer.next().iId, e.iId);
    EXPECT_EQ(lexer.plex->pcontextCurrent->usId, e.iContext);
    EXPECT_EQ(ostackGetCount(lexer.plex->pstackContexts), e.iDepth);
  }
  /* A pop on an empty stack changes nothing. */
  Lexer lexer3(apNest, "BEGIN RESET END x");
  lexer3.all();
  EXPECT_EQ(lexer3.plex->pcontextCurrent->usId, 3);
}

TEST(olex, SavedPositionsRestoreStreamStackAndContext)
{
  Lexer lexer(apNest, "BEGIN a BEGIN b");
  EXPECT_EQ(lexer.next().iId, K_BEGIN);
  olexPos posSaved;
  ASSERT_EQ(olexGetCurrentPos(lexer.plex, &posSaved), &posSaved);
  EXPECT_EQ(posSaved.iStackDepth, 1);
  EXPECT_EQ(posSaved.iContextId, 2);
  EXPECT_EQ(lexer.next(), (Lx{IDT, "A", 0}));
  EXPECT_EQ(lexer.next().iId, K_BEGIN);
  EXPECT_EQ(ostackGetCount(lexer.plex->pstackContexts), 2);

  EXPECT_EQ(olexSetCurrentPos(lexer.plex, &posSaved), 0);
  EXPECT_EQ(ostackGetCount(lexer.plex->pstackContexts), 1);
  EXPECT_EQ(lexer.next(), (Lx{IDT, "A", 0}));

  /* A saved depth above the current one leaves the stack alone. */
  olexPos posDeep = posSaved;
  posDeep.iStackDepth = 5;
  EXPECT_EQ(olexSetCurrentPos(lexer.plex, &posDeep), -1);
  EXPECT_EQ(ostackGetCount(lexer.plex->pstackContexts), 1);
  EXPECT_EQ(lexer.next(), (Lx{IDT, "A", 0}));
  EXPECT_EQ(olexSetCurrentPos(lexer.plex, nullptr), 0);
  EXPECT_EQ(olexGetCurrentPos(lexer.plex, nullptr), nullptr);
}

TEST(olex, InitialisationAndContextBuilding)
{
  olex *plex = olexCreate();
  ASSERT_NE(plex, nullptr);
  const olexContextDef *const apNone[] = {nullptr};
  EXPECT_EQ(olexInit(plex, apNone, '\'', '"', '.', SBCS, MIXED, DBCS, 0), OLEX_ERR_CONTEXT);
  EXPECT_EQ(olexInit(plex, nullptr, '\'', '"', '.', SBCS, MIXED, DBCS, 0), OLEX_ERR_CONTEXT);
  ASSERT_EQ(olexInit(plex, apCtl, '\'', '"', '.', SBCS, MIXED, DBCS, 1), 0);
  EXPECT_TRUE(plex->ulFlags & OLEX_FLAG_MIXED);
  EXPECT_GE(plex->iTableSize, 3);
  EXPECT_EQ(plex->ppcontextTable[0], nullptr);
  EXPECT_EQ(plex->pcontextCurrent, plex->ppcontextTable[1]);
  olexContext *pcontext = plex->ppcontextTable[2];
  EXPECT_EQ(pcontext->cStringDelim, '\'');
  EXPECT_EQ(pcontext->cIdentDelim, '"');
  EXPECT_EQ(std::string(_charText(pcontext->pcharSeparators), pcontext->pcharSeparators->ilBU), "(),;.");
  EXPECT_EQ(ostackGetAt(pcontext->pstackSeparatorIds, 4), static_cast<uintptr_t>(S_DOT));
  EXPECT_EQ(pcontext->aiBaseIds[OLEX_CLASS_INTEGER], INT);
  EXPECT_EQ(pcontext->aiBaseIds[OLEX_CLASS_END], 0);
  /* Re-adding a context under a used id replaces the old one. */
  olexContext *pnew = olexContextCreateFromDef(plex, &sqlExpr);
  ASSERT_NE(pnew, nullptr);
  pnew->usId = 2;
  EXPECT_EQ(olexAddContext(plex, pnew), 0);
  EXPECT_EQ(plex->ppcontextTable[2], pnew);
  EXPECT_EQ(std::string(_charText(pnew->pcharOperators), pnew->pcharOperators->ilBU), "<=<=>=><>+-*");
  /* A context with a large id grows the table. */
  olexContext *pfar = olexContextCreateFromDef(plex, &ctl1);
  pfar->usId = 40;
  EXPECT_EQ(olexAddContext(plex, pfar), 0);
  EXPECT_EQ(plex->iTableSize, 48);
  olexDestroy(plex);
  olexDestroy(nullptr);
  olexContextDestroy(nullptr);
}

TEST(olex, SharedNumberHelpers)
{
  struct {
    const char *pc;
    int rc;
    int32_t i;
  } aAtoi[] = {{"2147483647", 0, 2147483647}, {"-2147483648", 0, INT32_MIN}, {"2147483648", -1, 0},
               {"-2147483649", -1, 0},        {"+12", 0, 12},               {"-", 0, 0},
               {"1a", -1, 0}};
  for (const auto &c : aAtoi) {
    int32_t i = 0;
    EXPECT_EQ(_olexAtoi(c.pc, static_cast<int>(std::strlen(c.pc)), &i), c.rc) << c.pc;
    if (c.rc == 0) {
      EXPECT_EQ(i, c.i) << c.pc;
    }
  }
  struct {
    const char *pc;
    int rc;
    int64_t ll;
  } aAtoll[] = {{"9223372036854775807", 0, INT64_MAX}, {"-9223372036854775808", 0, INT64_MIN},
                {"9223372036854775808", -1, 0},        {"-9223372036854775809", -1, 0}};
  for (const auto &c : aAtoll) {
    int64_t ll = 0;
    EXPECT_EQ(_olexAtoll(c.pc, static_cast<int>(std::strlen(c.pc)), &ll), c.rc) << c.pc;
    if (c.rc == 0) {
      EXPECT_EQ(ll, c.ll) << c.pc;
    }
  }
  EXPECT_EQ(_olexConvHexa("4a", 2), 0x4A);
  EXPECT_EQ(_olexConvHexa("FF00", 4), 0xFF00);
  char ac[] = "aBc1_";
  memupr(ac, 5);
  EXPECT_STREQ(ac, "ABC1_");
}

TEST(olex, NoValueCellStillReadsAndReturnsIds)
{
  Lexer lexer(apExpr, "'abc' x 1.5 'open");
  int aiExpected[] = {STR, IDT, DEC, ERR, 0};
  for (int iExpected : aiExpected) EXPECT_EQ(olexGet(nullptr, nullptr, lexer.plex), iExpected);
  EXPECT_TRUE(lexer.plex->ulFlags & OLEX_FLAG_NO_TRACE);
}

}  // namespace
