/*
** zor3yacc.y
**   Grammar of the control-file language (see zor3yacc.h).  The actions
**   build the request tree: every clause yields one atom (or none when it
**   failed), the clauses of a block are gathered in file order in a
**   reference list of atoms, and the list is moved into the block's task
**   when the block is complete, so the first occurrence of a keyword in a
**   block wins (the task model reports the others).  The text of a SELECT
**   statement is swallowed through the error token, cut out of the control
**   file and parsed by the SQL grammar on a sub-stream.
**
**   Error alternatives issue ZORU010I with the span of the faulty item and
**   their own message; the parser generator's message is discarded, but
**   what it saw is kept: the lexeme it found, where, and the terminals the
**   parser could have taken there (zor3yyreport_syntax_error), which the
**   alternatives that name a whole construct turn into ZORU027I, the
**   lexeme found and what was expected, in the user's words.  A
**   keyword error drops the offending lexeme and the clause, and the parse
**   goes on, as it does after the GLOBAL and PIC alternatives and after a
**   number out of its range; the other alternatives abandon the parse.
**   Every error raises iErrorLevel or abandons the parse, so a request with
**   a syntax error never runs.
**
**   Ownership: values handed from rule to rule belong to the rule that
**   receives them; values discarded by the error recovery, and those of an
**   abandoned parse, are freed through the destructors below.  The finished
**   tree is written to ptaskResult and belongs to the caller.
*/
%define api.pure full
%define api.prefix {zor3yy}
%define api.token.prefix {ZOR3YY_}
%define api.value.type {zortokensValue}
%define parse.trace
%define parse.error custom
%locations
%parse-param {oyacc *pyacc}
%lex-param {oyacc *pyacc}
%expect 0

%code requires {
#include "control/zor3yacc.h"
#include "control/zortokens.h"
#define ZOR3YYLTYPE ostreamLocation
#define ZOR3YYLTYPE_IS_DECLARED 1
#define ZOR3YYLTYPE_IS_TRIVIAL 1
}

%code top {
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#define OMSGS_TRACE_KEYWORD "$YYUDB"
#define OMSGS_DEBUG_KEYWORD nullptr
#include "common/omsgsmod.h"

/* The generator's step-by-step trace goes to the module's trace keyword. */
#define YYFPRINTF omsgsTrace2
}

%code {
#include "common/obf.h"
#include "common/ochaine.h"
#include "common/ochar.h"
#include "common/ocnvft.h"
#include "common/olist.h"
#include "common/ostack.h"
#include "control/zordyacc.h"
#include "model/token.h"
#include "model/udb.h"
#include "model/zoratom.h"
#include "model/zormsgs.h"
#include "model/zortask.h"
#include "expr/zorcol.h"
#include "expr/zornode.h"
#include "storage/zorbk.h"

#define YYINITDEPTH 200
#define YYMAXDEPTH 200

/* Drops the lookahead lexeme (in a rule's action), freeing its value. */
#define ZOR3YY_DROP_LOOKAHEAD()                                                  \
  do {                                                                           \
    if (yychar > 0) yydestruct("Dropping", YYTRANSLATE(yychar), &yylval, &yylloc, pyacc); \
    yyclearin;                                                                   \
  } while (0)

namespace {

int zor3yylex(ZOR3YYSTYPE *pvalue, ZOR3YYLTYPE *ploc, oyacc *pyacc)
{
  return olexGet(pvalue, ploc, pyacc->plex);
}

/* The parser's state stack as it was when the current lookahead was read,
** before any default reduction it led to: the expected terminals of a
** syntax error are taken from it (zor3yyreport_syntax_error). */
std::vector<int> gvStackAtRead;

/* The last lexeme read: its token (0 at the end of the text) and location. */
int giLastRead;
ostreamLocation glocLastRead;

/* The last SELECT read: where it stands, whether its ";" is still to
** come, and the lexemes that began a line of its text (the first
** ZOR3YY_LINE_STARTS of them).  A SELECT option among them tells where the
** ";" of a SELECT that swallowed its options is missing (_zor3yyMissingSemicolon). */
#define ZOR3YY_LINE_STARTS 64
struct _zor3yySelectRead {
  int boOpen;
  ostreamLocation loc;
  std::vector<std::pair<int, ostreamLocation>> vLineStarts;
};
_zor3yySelectRead gselect;

/* Reads a lexeme, keeping a copy of the state stack from pssBottom to pssTop. */
template <typename State>
int _zor3yyLexKeep(ZOR3YYSTYPE *pvalue, ZOR3YYLTYPE *ploc, oyacc *pyacc, const State *pssBottom,
                   const State *pssTop)
{
  gvStackAtRead.assign(pssBottom, pssTop + 1);
  int iPreviousLine = glocLastRead.last_line;
  giLastRead = zor3yylex(pvalue, ploc, pyacc);
  glocLastRead = *ploc;
  if (giLastRead == ZOR3YY_SELECT_KW) {
    gselect.boOpen = 1;
    gselect.loc = *ploc;
    gselect.vLineStarts.clear();
  } else if (giLastRead == ZOR3YY_SEMICOLON_LX) {
    gselect.boOpen = 0;
  } else if (gselect.boOpen && ploc->first_line > iPreviousLine &&
             gselect.vLineStarts.size() < ZOR3YY_LINE_STARTS) {
    gselect.vLineStarts.emplace_back(giLastRead, *ploc);
  }
  return giLastRead;
}

/* The generated parser calls yylex with its state stack in scope (yyss,
** yyssp: the names of the generator's skeleton). */
#undef yylex
#define yylex(pvalue, ploc, pyacc) _zor3yyLexKeep(pvalue, ploc, pyacc, yyss, yyssp)

/* The generated parser is wrapped by zor3yyparse (end of this file), which
** speaks for a parse abandoned without a word of the error alternatives. */
#undef yyparse
#define yyparse _zor3yyParseTables

/* The generator's own message is not shown: the error alternatives speak. */
void zor3yyerror(ZOR3YYLTYPE *, oyacc *, const char *) {}

/* ---------------------------------------------------------------- hints */

/* The last syntax error the generator detected: the grammar name of the
** lexeme found, its location, and the grammar names of the terminals the
** parser could have taken there (at most ZOR3YY_EXPECTED_MAX).  Written by
** zor3yyreport_syntax_error, used once by _zor3yyHint or zor3yyparse.  The generator
** detects an error only outside a recovery, so an alternative that runs in
** a recovery started within three lexemes of an earlier one finds nothing
** fresh inside its own span and adds no hint.  One parse at a time per
** process; zor3yyparse clears it when it starts. */
#define ZOR3YY_EXPECTED_MAX 96
struct _zor3yyDetected {
  int boFresh;
  const char *pcFound;
  ostreamLocation loc;
  int iExpected;
  const char *apcExpected[ZOR3YY_EXPECTED_MAX];
};
_zor3yyDetected gdetected;

/* A terminal of the grammar, by its grammar name, in the user's words. */
std::string _zor3yyWords(const char *pcName)
{
  static const struct {
    const char *pcName;
    const char *pcWords;
  } aWords[] = {
      {"end of file", "THE END OF THE FILE"},
      {"DELIMITED_LX", "A NAME IN DOUBLE QUOTES"},
      {"LITTERAL_LX", "A STRING IN APOSTROPHES"},
      {"IDENTIFIER_LX", "A NAME"},
      {"INTEGER_LX", "A NUMBER"},
      {"BIGINT_LX", "A NUMBER"},
      {"FLOAT_LX", "A NUMBER WITH A DECIMAL POINT"},
      {"DECIMAL_LX", "A NUMBER WITH A DECIMAL POINT"},
      {"DIM_LX", "A SIZE WITH ITS UNIT (K, M OR G, AS IN 10M)"},
      {"ERROR_LX", "AN UNREADABLE CHARACTER"},
      {"SEMICOLON_LX", "A SEMICOLON"},
      {"COMMA_LX", "A COMMA"},
      {"DOT_LX", "A DOT"},
      {"PAROPEN_LX", "AN OPENING PARENTHESIS"},
      {"PARCLOSE_LX", "A CLOSING PARENTHESIS"},
      {"CONCAT_LX", "|"}, {"DIV_LX", "/"}, {"EQU_LX", "="}, {"INF_LX", "<"}, {"SUP_LX", ">"},
      {"MINUS_LX", "-"}, {"PLUS_LX", "+"}, {"MULT_LX", "*"}, {"DIF_LX", "<>"}, {"IEQ_LX", "<="},
      {"SEQ_LX", ">="},
  };
  for (const auto &word : aWords)
    if (std::strcmp(pcName, word.pcName) == 0) return word.pcWords;
  size_t ulLength = std::strlen(pcName);
  if (ulLength > 3 && std::strcmp(pcName + ulLength - 3, "_KW") == 0)
    return std::string(pcName, ulLength - 3);   /* a keyword is written as its name */
  return pcName;
}

/* The lexeme found, as written in the file (at most 40 characters), with
** what kind of lexeme it is when that is not plain from its text. */
std::string _zor3yyFoundWords(oyacc *pyacc, const char *pcName, const ostreamLocation &loc)
{
  if (std::strcmp(pcName, "end of file") == 0) return _zor3yyWords(pcName);
  std::string strText;
  ochar *pchar = oyaccExtractRuleString(pyacc, &loc);
  if (pchar != nullptr && pchar->pcData != nullptr) strText.assign(_charText(pchar), (size_t)pchar->ilBU);
  ocharDestroy(pchar);
  while (!strText.empty() && (strText.back() == ' ' || strText.back() == '\n')) strText.pop_back();
  if (strText.size() > 40) strText = strText.substr(0, 37) + "...";
  for (char &c : strText)
    if ((unsigned char)c < 0x20) c = ' ';
  static const struct {
    const char *pcName;
    const char *pcKind;
  } aKinds[] = {
      {"DELIMITED_LX", " (A NAME IN DOUBLE QUOTES)"},
      {"LITTERAL_LX", " (A STRING IN APOSTROPHES)"},
      {"IDENTIFIER_LX", " (NO KEYWORD HERE)"},
      {"INTEGER_LX", " (A NUMBER)"},
      {"DIM_LX", " (A SIZE)"},
      {"ERROR_LX", " (UNREADABLE HERE)"},
  };
  if (strText.empty()) return _zor3yyWords(pcName);
  if (strText == "-") {
    /* "--" begins a comment in column 1 only: elsewhere it is two unreadable "-" */
    ostreamLocation locTwo = loc;
    locTwo.last_column = loc.last_column + 1;
    ochar *pcharTwo = oyaccExtractRuleString(pyacc, &locTwo);
    bool boComment = pcharTwo != nullptr && pcharTwo->pcData != nullptr && pcharTwo->ilBU >= 2 &&
                     std::memcmp(_charText(pcharTwo), "--", 2) == 0;
    ocharDestroy(pcharTwo);
    if (boComment) return "-- (A COMMENT BEGINS WITH -- IN COLUMN 1 ONLY)";
  }
  for (const auto &kind : aKinds)
    if (std::strcmp(pcName, kind.pcName) == 0) return strText + kind.pcKind;
  return strText;
}

/* ZORU027I: the lexeme found at loc and the terminals expected there. */
void _zor3yyHintSay(oyacc *pyacc, const char *pcFound, const ostreamLocation &loc,
                    const char *const *ppcExpected, int iExpected)
{
  /* Kinds of lexemes first, then keywords, then separators and the end. */
  auto rank = [](const char *pcName) {
    size_t ulLength = std::strlen(pcName);
    if (ulLength > 3 && std::strcmp(pcName + ulLength - 3, "_KW") == 0) return 1;
    static const char *const apcKinds[] = {"DELIMITED_LX", "LITTERAL_LX", "IDENTIFIER_LX", "INTEGER_LX",
                                           "BIGINT_LX", "DECIMAL_LX", "FLOAT_LX", "DIM_LX"};
    for (const char *pcKind : apcKinds)
      if (std::strcmp(pcName, pcKind) == 0) return 0;
    return std::strcmp(pcName, "end of file") == 0 ? 3 : 2;
  };
  std::vector<const char *> vNames(ppcExpected, ppcExpected + iExpected);
  std::stable_sort(vNames.begin(), vNames.end(),
                   [&](const char *a, const char *b) { return rank(a) < rank(b); });
  std::vector<std::string> vWords;
  for (const char *pcName : vNames) {
    std::string strWords = _zor3yyWords(pcName);
    if (std::find(vWords.begin(), vWords.end(), strWords) == vWords.end()) vWords.push_back(strWords);
  }
  if (vWords.empty()) return;
  std::string strExpected;
  for (size_t i = 0; i < vWords.size(); i++) {
    if (i > 0) strExpected += i + 1 == vWords.size() ? " OR " : ", ";
    strExpected += vWords[i];
  }
  omsgsFMTEDO(ZORU027I, _zor3yyFoundWords(pyacc, pcFound, loc).c_str(), (int)loc.first_line,
              (int)loc.first_column, strExpected.c_str());
}

/* ZORU027I for the syntax error the generator detected, when it lies in
** locSpan (the span of the error token of the alternative that took it).
** Returns 1 when it said something. */
int _zor3yyHint(oyacc *pyacc, const ostreamLocation &locSpan)
{
  if (!gdetected.boFresh) return 0;
  gdetected.boFresh = 0;
  const ostreamLocation &loc = gdetected.loc;
  if (loc.first_line < locSpan.first_line ||
      (loc.first_line == locSpan.first_line && loc.first_column < locSpan.first_column))
    return 0;   /* an earlier error's */
  _zor3yyHintSay(pyacc, gdetected.pcFound, loc, gdetected.apcExpected, gdetected.iExpected);
  return 1;
}

/* The terminals acceptable where the current lookahead was read (below). */
int _zor3yyExpectedAtRead(const char **ppcExpected, int iMax);

/* A SELECT that swallowed its options for want of a ";" (below). */
int _zor3yyMissingSemicolon(oyacc *pyacc, const ostreamLocation &locSelect, const ostreamLocation &locEnd);

/* ZORU027I for the lookahead pcFound at loc, with what was acceptable where
** it was read. */
void _zor3yyHintLookahead(oyacc *pyacc, const char *pcFound, const ostreamLocation &loc)
{
  const char *apcExpected[ZOR3YY_EXPECTED_MAX];
  int iExpected = _zor3yyExpectedAtRead(apcExpected, ZOR3YY_EXPECTED_MAX);
  _zor3yyHintSay(pyacc, pcFound, loc, apcExpected, iExpected);
}

/* ZORU027I in the action of an error alternative: the error the generator
** detected inside locSpan; else, in a recovery that began within three
** lexemes of an earlier one (the generator then reports nothing), the
** lookahead at which the alternative stops, when it has one: an
** alternative that ends with the error token is reduced before any lexeme
** is discarded, so that lookahead is the lexeme that broke the rule. */
#define ZOR3YY_HINT(locSpan)                                                              \
  do {                                                                                    \
    if (!_zor3yyHint(pyacc, (locSpan)) && yychar != ZOR3YY_ZOR3YYEMPTY)                   \
      _zor3yyHintLookahead(pyacc, yysymbol_name(YYTRANSLATE(yychar)), yylloc);          \
  } while (0)

/* ---------------------------------------------------------------- helpers */

const char *_zor3yyName(int iSlot) { return gapnameTotalToken[iSlot]; }

/* Number of ZORU010I the parse has issued. */
int giReports;

/* ZORU010I with the span from the start of locFirst to the end of locLast. */
void _zor3yyReport(const ostreamLocation &locFirst, const ostreamLocation &locLast)
{
  giReports++;
  omsgsFMTEDO(ZORU010I, (int)locFirst.first_line, (int)locFirst.first_column,
              (int)locLast.last_line, (int)locLast.last_column);
}

void _zor3yyRaise(oyacc *pyacc, int32_t iLevel)
{
  if (pyacc->iErrorLevel < iLevel) pyacc->iErrorLevel = iLevel;
}

/* A keyword followed by a lexeme it does not take. */
void _zor3yyKeywordError(oyacc *pyacc, const ostreamLocation &locFirst,
                         const ostreamLocation &locLast, const char *pcKeyword,
                         const char *pcValid)
{
  _zor3yyReport(locFirst, locLast);
  omsgsFMTEDO(ZORU014E, pcKeyword, pcValid);
  gdetected.boFresh = 0;   /* ZORU014E has said what the keyword takes */
  _zor3yyRaise(pyacc, ZOR3YACC_LEVEL_ERROR);
}

/* A number outside its range: ZORU010I with its span, ZORU035E, level 8. */
void _zor3yyRangeError(oyacc *pyacc, const ostreamLocation &loc, const char *pcRange)
{
  _zor3yyReport(loc, loc);
  omsgsFMTEDO(ZORU035E, pcRange);
  _zor3yyRaise(pyacc, ZOR3YACC_LEVEL_ERROR);
}

/* Gives the string its trailing zero byte; returns it. */
ochar *_zor3yyMakeC(ochar *pchar)
{
  if (pchar != nullptr) ocharMakeC(pchar);
  return pchar;
}

zoratom *_zor3yyAtom(int iSlot, int iKind, int iFlags, uintptr_t ulValue,
                     const ostreamLocation &locStart, const ostreamLocation &locEnd)
{
  return zoratomCreate(_zor3yyName(iSlot), iKind, iFlags, ulValue, &locStart, &locEnd);
}

/* INTEGER atoms are made borrowed: their value is the word itself. */
zoratom *_zor3yyInteger(int iSlot, int32_t iValue, const ostreamLocation &locStart,
                        const ostreamLocation &locEnd)
{
  return _zor3yyAtom(iSlot, ZORATOM_INTEGER, ZORATOM_BORROWED, (uintptr_t)(uint32_t)iValue,
                     locStart, locEnd);
}

/* An OCHAR atom owning the string (made NUL-terminated); the string is
** freed when the atom cannot be made. */
zoratom *_zor3yyString(int iSlot, ochar *pchar, const ostreamLocation &locStart,
                       const ostreamLocation &locEnd)
{
  zoratom *patom = _zor3yyAtom(iSlot, ZORATOM_OCHAR, 0, (uintptr_t)_zor3yyMakeC(pchar),
                               locStart, locEnd);
  if (patom == nullptr) ocharDestroy(pchar);
  return patom;
}

zoratom *_zor3yyType(int iSlot, int32_t iNumber, int32_t iSecond,
                     const ostreamLocation &locStart, const ostreamLocation &locEnd)
{
  return zoratomCreateType(_zor3yyName(iSlot), iNumber, iSecond, &locStart, &locEnd);
}

void _zor3yyTaskChaineDestroy(ochaine *pchaine);

/* Frees an atom that never reached a task, including the values that the
** parser makes borrowed (the LOB list and the chain of column clauses). */
void _zor3yyAtomDestroy(zoratom *patom)
{
  if (patom == nullptr) return;
  if (patom->iFlags & ZORATOM_BORROWED) {
    if (patom->iKind == ZORATOM_TASKCHAINE) {
      _zor3yyTaskChaineDestroy(patom->value.pchaine);
    } else if (patom->iKind == ZORATOM_OLIST && patom->pcName == _zor3yyName(TOKEN_LOB)) {
      olist *plist = patom->value.plist;
      olistIterator iter;
      olistIteratorInit(&iter, plist);
      while (olistIteratorNext(&iter))
        udbLobPathDestroy(static_cast<udbLobPath *>(olistIteratorGetRef(&iter)));
      olistIteratorDestroy(&iter);
      olistDestroy(plist);
    }
  }
  zoratomDestroy(patom);
}

olist *_zor3yyAtomListCreate(void)
{
  return olistCreateRef(zoratomClone, zoratomDestroy);
}

/* Appends the atom (none: nothing) to the list, made when NULL; returns the list. */
olist *_zor3yyAtomListAdd(olist *plist, zoratom *patom)
{
  if (patom == nullptr) return plist;
  if (plist == nullptr) plist = _zor3yyAtomListCreate();
  if (plist == nullptr) {
    _zor3yyAtomDestroy(patom);
    return nullptr;
  }
  olistAppendRef(plist, patom, 0);
  return plist;
}

/* Moves the atoms of pother after those of plist and frees pother; returns
** the merged list. */
olist *_zor3yyAtomListMerge(olist *plist, olist *pother)
{
  if (pother == nullptr) return plist;
  if (plist == nullptr) return pother;
  olistIterator iter;
  olistIteratorInit(&iter, pother);
  while (olistIteratorNext(&iter)) olistAppendRef(plist, olistIteratorGetRef(&iter), 0);
  olistIteratorDestroy(&iter);
  olistDestroy(pother);
  return plist;
}

/* Frees a list of atoms that never reached a task, with its atoms. */
void _zor3yyAtomListDestroy(olist *plist)
{
  if (plist == nullptr) return;
  olistIterator iter;
  olistIteratorInit(&iter, plist);
  while (olistIteratorNext(&iter))
    _zor3yyAtomDestroy(static_cast<zoratom *>(olistIteratorGetRef(&iter)));
  olistIteratorDestroy(&iter);
  /* The nodes do not own the atoms: only the nodes are freed here. */
  olistDestroy(plist);
}

/* Frees the messages kept for a SELECT. */
void _zor3yyMessagesDestroy(ostack *pstack)
{
  if (pstack == nullptr) return;
  for (int i = 0; i < ostackGetCount(pstack); i++)
    std::free(reinterpret_cast<void *>(ostackGetAt(pstack, i)));
  ostackDestroy(pstack);
}

/* Frees the borrowed values and kept messages of a task tree that never
** reached the caller; the tasks themselves are left to their owner. */
void _zor3yyTaskRelease(zortask *ptask)
{
  if (ptask == nullptr) return;
  _zor3yyAtomDestroy(zortaskRemoveAtom(ptask, _zor3yyName(TOKEN_LOB)));
  _zor3yyMessagesDestroy(ptask->pstackDefered);
  ptask->pstackDefered = nullptr;
  if (ptask->pchaineSubTasks == nullptr) return;
  for (zortask *psub = static_cast<zortask *>(ptask->pchaineSubTasks->pitemTop); psub != nullptr;
       psub = psub->ptaskNext)
    _zor3yyTaskRelease(psub);
}

/* Frees a task tree that never reached the caller. */
void _zor3yyTaskDestroy(zortask *ptask)
{
  _zor3yyTaskRelease(ptask);
  zortaskDestroy(ptask);
}

/* Frees a chain of tasks that never reached the caller. */
void _zor3yyTaskChaineDestroy(ochaine *pchaine)
{
  if (pchaine == nullptr) return;
  for (zortask *ptask = static_cast<zortask *>(pchaine->pitemTop); ptask != nullptr;
       ptask = ptask->ptaskNext)
    _zor3yyTaskRelease(ptask);
  ochaineDestroy(pchaine);
}

/* COL entries (column layouts) are read only for a SELECT: at block level their
** chain is dropped, so that it never stands among the block's SELECTs, and
** the request is refused (ZORU010I over the block's clauses, ZORU465E), since
** they would not be used. */
void _zor3yyDropColumnSpecs(oyacc *pyacc, olist *plist, const ostreamLocation &loc)
{
  if (plist == nullptr) return;
  bool boDropped = false;
  olistIterator iter;
  olistIteratorInit(&iter, plist);
  while (olistIteratorNext(&iter)) {
    olistRef *pnode = static_cast<olistRef *>(olistIteratorGetItem(&iter));
    zoratom *patom = static_cast<zoratom *>(pnode->pData);
    if (patom != nullptr && patom->iKind == ZORATOM_TASKCHAINE) {
      _zor3yyAtomDestroy(patom);
      pnode->pData = nullptr;
      boDropped = true;
    }
  }
  olistIteratorDestroy(&iter);
  if (boDropped) {
    _zor3yyReport(loc, loc);
    omsgsFMTEDO(ZORU465E);
    _zor3yyRaise(pyacc, ZOR3YACC_LEVEL_ERROR);
  }
}

/* Moves the list into the task; the result is not looked at: a duplicate
** keyword is reported by the task model and dropped. */
void _zor3yyTransfer(zortask *ptask, olist *plist)
{
  if (plist != nullptr) (void)zortaskAddAtomListRef(ptask, plist);
}

void _zor3yyAdd(zortask *ptask, zoratom *patom)
{
  if (patom != nullptr && zortaskAddAtom(ptask, patom) != 0) _zor3yyAtomDestroy(patom);
}

ochaine *_zor3yyTaskChaineAdd(ochaine *pchaine, zortask *ptask)
{
  if (ptask == nullptr) return pchaine;
  if (pchaine == nullptr) pchaine = ochaineCreate(0, zortaskChaineClone, zortaskChaineDestroy);
  if (pchaine == nullptr) {
    _zor3yyTaskDestroy(ptask);
    return nullptr;
  }
  ochaineAppend(pchaine, ptask);
  return pchaine;
}

/* ------------------------------------------------------------ partitions */

/* Valid partition numbers, for messages. */
const char gacPartRange[] = " (0-999)";

/* Adds partition iPart to the set (made with iMinBits bits when NULL, grown
** to hold the number); a number outside 0 to 999 is reported and left out. */
obf *_zor3yyPartAdd(oyacc *pyacc, obf *pobf, int32_t iPart, uint32_t ulMinBits,
                    const ostreamLocation &loc)
{
  if (pobf == nullptr) {
    pobf = obfCreate(ulMinBits);
    if (pobf == nullptr) return nullptr;
  }
  if (!oyaccCheckIntegerRange(iPart, 0, ZOR3YACC_PART_MAX)) {
    _zor3yyRangeError(pyacc, loc, gacPartRange);
    return pobf;
  }
  uint32_t ulPart = (uint32_t)iPart;
  if (ulPart >= pobf->ulBitCount) obfResize(pobf, ulPart + 1);
  obfSet(pobf, ulPart);
  return pobf;
}

/* -------------------------------------------------------------- PIC, CCSID */

/* PIC flags of the clause; 0 when the sign, the position or the point is
** missing (the clause then yields nothing). */
int32_t _zor3yyPicFlags(oyacc *pyacc, ochar *pcharSign, int32_t iPosition, ochar *pcharPoint,
                        ochar *pcharMask)
{
  int32_t iSign = 0, iPoint = 0;
  if (pcharSign != nullptr && pcharSign->ilBU > 0) {
    switch (_charText(pcharSign)[0]) {
      case '-': iSign = ZOR3YACC_PIC_MINUS; break;
      case '+': iSign = ZOR3YACC_PIC_PLUS; break;
      case 'P': iSign = ZOR3YACC_PIC_P; break;
      default: break;
    }
  }
  if (pcharPoint != nullptr && pcharPoint->ilBU > 0) {
    switch (_charText(pcharPoint)[0]) {
      case ',': iPoint = ZOR3YACC_PIC_COMMA; break;
      case '.': iPoint = ZOR3YACC_PIC_POINT; break;
      default: break;
    }
  }
  if (iSign == 0 || iPosition == 0 || iPoint == 0) return 0;
  /* An omitted or unknown mask takes the default one, so that the flags keep
  ** only the parts written. */
  int32_t iMask = ZOR3YACC_PIC_MASK_DEFAULT;
  if (pcharMask != nullptr) {
    int32_t iCode = _zor3yyudbGetPicMask(pyacc, pcharMask);
    if (iCode != ZOR3YACC_PIC_MASK_UNKNOWN) iMask = iCode;
  }
  return iSign | iPosition | iPoint | iMask;
}

/* Single-byte part of a CCSID, 0 when it has none or is unknown. */
uint16_t _zor3yySingleByte(uint16_t usCcsid)
{
  uint16_t usSBCS = 0, usDBCS = 0;
  ocnvftDecomposeMixed(usCcsid, &usSBCS, &usDBCS);
  return usSBCS;
}

zoratom *_zor3yyCcsid1(int32_t iA, const ostreamLocation &locStart,
                       const ostreamLocation &locEnd)
{
  uint16_t usA = (uint16_t)iA;
  uint16_t usS = _zor3yySingleByte(usA);
  uint16_t usE = ocnvftSubstExternal(usA);
  const char *pcName = _zor3yyName(TOKEN_CCSID);
  if (usS != 0) return zoratomCreateTripleShort(pcName, usS, usE, usE, &locStart, &locEnd);
  return zoratomCreateTripleShort(pcName, usE, usE, 1200, &locStart, &locEnd);
}

zoratom *_zor3yyCcsid2(int32_t iA, int32_t iB, const ostreamLocation &locStart,
                       const ostreamLocation &locEnd)
{
  uint16_t usA = (uint16_t)iA, usB = (uint16_t)iB;
  uint16_t usS = _zor3yySingleByte(usA);
  return zoratomCreateTripleShort(_zor3yyName(TOKEN_CCSID), usS != 0 ? usS : usA, usA, usB,
                                  &locStart, &locEnd);
}

/* --------------------------------------------------------------- outputs */

/* An output entry's mode and partition set; without FOR PARTS all
** partitions (an empty set). */
udbOutFile *_zor3yyOutputComplete(udbOutFile *pout, uint32_t ulMode, obf *pobf)
{
  if (pout == nullptr) {
    obfDestroy(pobf);
    return nullptr;
  }
  pout->ulMode |= ulMode;
  pout->pobfPart = pobf != nullptr ? pobf : obfCreate(ZOR3YACC_PART_BITS);
  return pout;
}

/* A file name of an OUTPUT element with where the file lies. */
udbOutFile *_zor3yyOutputFile(ochar *pcharName, ochar *pcharHost, uint32_t ulWhere)
{
  udbOutFile *pout = udbOutFileCreate(_zor3yyMakeC(pcharName), _zor3yyMakeC(pcharHost), nullptr,
                                      ulWhere);
  if (pout == nullptr) {
    ocharDestroy(pcharName);
    ocharDestroy(pcharHost);
  }
  return pout;
}

void _zor3yyLobPathListDestroy(olist *plist)
{
  if (plist == nullptr) return;
  olistIterator iter;
  olistIteratorInit(&iter, plist);
  while (olistIteratorNext(&iter))
    udbLobPathDestroy(static_cast<udbLobPath *>(olistIteratorGetRef(&iter)));
  olistIteratorDestroy(&iter);
  olistDestroy(plist);
}

void *_zor3yyCharClone(void *pchar) { return ocharClone(static_cast<ochar *>(pchar)); }
void _zor3yyCharDestroy(void *pchar) { ocharDestroy(static_cast<ochar *>(pchar)); }

/* ------------------------------------------------------------- SELECT */

/*
** Builds the task of a SELECT statement once its options are complete:
** SELECTSQL, the atoms of the SQL text when the SQL grammar takes it natively
** (else the DB2 flag), the messages of that parse, the partition clause, then
** the SELECT's own clauses.
*/
zortask *_zor3yySelect(oyacc *pyacc, const ostreamLocation &locSelect,
                       const ostreamLocation &locText, const ostreamLocation &locSemicolon,
                       zoratom *patomPart, olist *plistOptions)
{
  zortask *ptask = zortaskCreateNamed(_zor3yyName(TOKEN_SELECT));
  if (ptask == nullptr) {
    _zor3yyAtomDestroy(patomPart);
    _zor3yyAtomListDestroy(plistOptions);
    return nullptr;
  }
  /* The text runs from SELECT to the last lexeme before ";" (none when the
  ** error token stands on the ";" itself). */
  const ostreamLocation &locEnd =
      (locText.first_line < locSemicolon.first_line ||
       (locText.first_line == locSemicolon.first_line &&
        locText.first_column < locSemicolon.first_column))
          ? locText
          : locSelect;
  ochar *pcharSql = oyaccExtractRulesString(pyacc, &locSelect, &locEnd);
  if (pcharSql != nullptr)
    _zor3yyAdd(ptask, _zor3yyString(TOKEN_SELECTSQL, pcharSql, locSelect, locEnd));

  /* The SQL text, parsed on a sub-stream so that its positions are those
  ** of the control file, its messages kept for the SELECT.  Messages already
  ** deferred by the caller stay where they are. */
  oyacc yaccSql;
  std::memset(&yaccSql, 0, sizeof yaccSql);
  ostream *pstreamSql = oyaccCreateSubStream(pyacc, &locSelect, &locEnd);
  int iRc = pstreamSql != nullptr
                ? oyaccInitFromYacc(&yaccSql, pyacc, pstreamSql, aplexContextDefDb2)
                : ORC_NOMEM;
  ostack *pstackOuter = omsgsExportDefered();
  int boDefered = omsgsSetDefered(1);
  if (iRc == 0) iRc = zordyyparse(&yaccSql);
  omsgsSetDefered(boDefered);
  ostack *pstackSql = omsgsExportDefered();
  omsgsRestaureDefered(pstackOuter);

  if (iRc != 0 || yaccSql.iErrorLevel != 0 || (yaccSql.ulParseStatus & ZORDYACC_NOT_NATIVE) ||
      yaccSql.plistResult == nullptr) {
    /* Not a statement read natively: DB2 takes it, nothing of it is kept. */
    ptask->ulFlags |= ZORTASK_FLAG_DB2;
    if (yaccSql.plistResult != nullptr) {
      olist *plist = yaccSql.plistResult;
      olistIterator iter;
      olistIteratorInit(&iter, plist);
      while (olistIteratorNext(&iter)) zoratomDestroy(olistIteratorGetRef(&iter));
      olistIteratorDestroy(&iter);
      olistDestroy(plist);
    } else {
      zoratomDestroy(yaccSql.pvalResult);
    }
  } else {
    _zor3yyTransfer(ptask, yaccSql.plistResult);
  }
  yaccSql.plistResult = nullptr;
  yaccSql.pvalResult = nullptr;
  oyaccDelete(&yaccSql);
  ptask->pstackDefered = pstackSql;

  _zor3yyAdd(ptask, patomPart);
  _zor3yyTransfer(ptask, plistOptions);
  return ptask;
}

} // namespace
}

/* @ZORTOKENS@ */

%type <pchar> IDENTIFIER_LX DELIMITED_LX LITTERAL_LX ERROR_LX
%type <i> INTEGER_LX
%type <val> DIM_LX

%type <pchar> db2_identifier zav_pic_mask_opt
%type <i> zav_ccsid zav_ccsid_opt zav_pic_signpos zav_output_mode
%type <i> zav_date_format zav_time_format zav_timestamp_format
%type <pobf> zav_ts_part zav_for_part_clause zav_node_number_list
%type <patom> zav_ts_parts_opt zav_part_opt
%type <patom> zav_global_param zav_param zav_select_option
%type <patom> zav_db2_param zav_lock_param zav_quiesce_param zav_quiescecat_param
%type <patom> zav_maxtask_param zav_maxrc_param zav_thread_param zav_maxrows_param
%type <patom> zav_skip_param zav_interval_param zav_sizelimit_param zav_filemaxsize_param
%type <patom> zav_connect_param zav_backup_param zav_output_param zav_lobin_param
%type <patom> zav_lobfile_param zav_select_ccsid
%type <patom> zav_option_null zav_option_date zav_option_time zav_option_timestamp
%type <patom> zav_option_datedelim zav_option_timedelim zav_option_pic zav_option_lengthbyte
%type <patom> zav_option_length zav_option_nullid zav_option_lls zav_option_nullpos
%type <patom> zav_option_double_delim zav_option_detail
%type <patom> zav_format_delim_param zav_format_sep_param zav_format_nulldelim_param
%type <patom> zav_delimited_option zav_col_spec_option zav_col_type_param
%type <patom> zav_col_padding_param zav_col_just_param zav_col_ccsid_param
%type <plistAtoms> zav_ts_spec zav_ts_spec_opt zav_global_options_blk zav_global_params
%type <plistAtoms> zav_params zav_params_item zav_select_options zav_select_options_item
%type <plistAtoms> zav_option zav_option_details zav_output_format zav_output_delimited
%type <plistAtoms> zav_delimited_options zav_output_user zav_col_spec_options
%type <ptask> zav_unload_header zav_unload_blk zav_unload_database zav_select_block
%type <ptask> zav_format_col_spec
%type <pchaineTasks> zav_sysin zav_unload_blks zav_select_blocks zav_format_col_specs
%type <plist> zav_backup_list zav_output_list zav_lobfile_list
%type <p> zav_output_elt zav_output_file zav_lobpath_list zav_lobpath_elt

%destructor { ocharDestroy($$); } <pchar>
%destructor { obfDestroy($$); } <pobf>
%destructor { _zor3yyAtomDestroy($$); } <patom>
%destructor { _zor3yyAtomListDestroy($$); } <plistAtoms>
%destructor { _zor3yyTaskDestroy($$); } <ptask>
%destructor { _zor3yyTaskChaineDestroy($$); } <pchaineTasks>
%destructor { olistDestroy($$); } <plist>
%destructor { udbOutFileDestroy(static_cast<udbOutFile *>($$)); } zav_output_elt zav_output_file
%destructor { _zor3yyLobPathListDestroy(static_cast<olist *>($$)); } zav_lobpath_list
%destructor { udbLobPathDestroy(static_cast<udbLobPath *>($$)); } zav_lobpath_elt

%start sysin

%initial-action {
  gdetected.boFresh = 0;
  gvStackAtRead.clear();
  giReports = 0;
  giLastRead = -1;
  glocLastRead = ostreamLocation{};
  gselect.boOpen = 0;
  gselect.vLineStarts.clear();
}

%%

/* ------------------------------------------------------------ the request */

sysin:
    zav_sysin
      {
        zortask *ptask = zortaskCreateNamed(_zor3yyName(TOKEN_GLOBAL));
        if (ptask == nullptr) { _zor3yyTaskChaineDestroy($1); YYABORT; }
        zortaskSetSubTaskChaine(ptask, $1);
        _zor3yyAdd(ptask, _zor3yyInteger(TOKEN_TASKTYPE, ZOR3YACC_TASKTYPE_GLOBAL, @$, @$));
        pyacc->ptaskResult = ptask;
      }
  | zav_global_options_blk zav_sysin
      {
        zortask *ptask = zortaskCreateNamed(_zor3yyName(TOKEN_GLOBAL));
        if (ptask == nullptr) { _zor3yyAtomListDestroy($1); _zor3yyTaskChaineDestroy($2); YYABORT; }
        zortaskSetSubTaskChaine(ptask, $2);
        _zor3yyTransfer(ptask, $1);
        _zor3yyAdd(ptask, _zor3yyInteger(TOKEN_TASKTYPE, ZOR3YACC_TASKTYPE_GLOBAL, @$, @$));
        pyacc->ptaskResult = ptask;
      }
  | error
      {
        /* Lexemes after a complete request: what was built is not handed out. */
        _zor3yyTaskDestroy(pyacc->ptaskResult);
        pyacc->ptaskResult = nullptr;
        _zor3yyReport(@1, @1);
        omsgsFMTEDO(ZORU022E);
        ZOR3YY_HINT(@1);
        _zor3yyRaise(pyacc, ZOR3YACC_LEVEL_SEVERE);
        YYABORT;
      }
  ;

zav_sysin:
    zav_unload_blks        { $$ = $1; }
  | zav_unload_database    { $$ = _zor3yyTaskChaineAdd(nullptr, $1); }
  ;

zav_unload_database:
    UNLOAD_KW DATABASE_KW IDENTIFIER_LX zav_params SEMICOLON_LX
      {
        $$ = zortaskCreateNamed(_zor3yyName(TOKEN_DATABASE));
        if ($$ == nullptr) { ocharDestroy($3); _zor3yyAtomListDestroy($4); YYABORT; }
        _zor3yyAdd($$, _zor3yyString(TOKEN_DBNAME, $3, @3, @3));
        _zor3yyDropColumnSpecs(pyacc, $4, @4);
        _zor3yyTransfer($$, $4);
      }
  | UNLOAD_KW DATABASE_KW IDENTIFIER_LX SEMICOLON_LX
      {
        $$ = zortaskCreateNamed(_zor3yyName(TOKEN_DATABASE));
        if ($$ == nullptr) { ocharDestroy($3); YYABORT; }
        _zor3yyAdd($$, _zor3yyString(TOKEN_DBNAME, $3, @3, @3));
      }
  | UNLOAD_KW DATABASE_KW zav_params SEMICOLON_LX
      {
        $$ = zortaskCreateNamed(_zor3yyName(TOKEN_DATABASE));
        if ($$ == nullptr) { _zor3yyAtomListDestroy($3); YYABORT; }
        _zor3yyDropColumnSpecs(pyacc, $3, @3);
        _zor3yyTransfer($$, $3);
      }
  | UNLOAD_KW DATABASE_KW SEMICOLON_LX
      {
        $$ = zortaskCreateNamed(_zor3yyName(TOKEN_DATABASE));
        if ($$ == nullptr) YYABORT;
      }
  ;

/* ---------------------------------------------------------- GLOBAL block */

zav_global_options_blk:
    GLOBAL_KW zav_global_params SEMICOLON_LX   { $$ = $2; }
  | GLOBAL_KW SEMICOLON_LX                     { $$ = nullptr; }
  | GLOBAL_KW error
      {
        _zor3yyReport(@1, @2);
        omsgsFMTEDO(ZORU015E, "GLOBAL");
        ZOR3YY_HINT(@2);
        _zor3yyRaise(pyacc, ZOR3YACC_LEVEL_ERROR);
        $$ = nullptr;
      }
  ;

zav_global_params:
    zav_global_param                     { $$ = _zor3yyAtomListAdd(nullptr, $1); }
  | zav_option                           { $$ = $1; }
  | zav_global_params zav_global_param   { $$ = _zor3yyAtomListAdd($1, $2); }
  | zav_global_params zav_option         { $$ = _zor3yyAtomListMerge($1, $2); }
  ;

zav_global_param:
    zav_db2_param | zav_lock_param | zav_quiesce_param | zav_quiescecat_param
  | zav_maxtask_param | zav_maxrc_param | zav_connect_param | zav_sizelimit_param
  | zav_filemaxsize_param
  ;

/* ---------------------------------------------------------- UNLOAD blocks */

zav_unload_blks:
    zav_unload_blk                   { $$ = _zor3yyTaskChaineAdd(nullptr, $1); }
  | zav_unload_blks zav_unload_blk   { $$ = _zor3yyTaskChaineAdd($1, $2); }
  ;

zav_unload_blk:
    zav_unload_header SEMICOLON_LX
      { $$ = $1; }
  | zav_unload_header zav_params SEMICOLON_LX
      {
        $$ = $1;
        _zor3yyDropColumnSpecs(pyacc, $2, @2);
        _zor3yyTransfer($$, $2);
      }
  | zav_unload_header zav_select_blocks SEMICOLON_LX
      {
        $$ = $1;
        zortaskSetSubTaskChaine($$, $2);
      }
  | zav_unload_header zav_params zav_select_blocks SEMICOLON_LX
      {
        $$ = $1;
        zortaskSetSubTaskChaine($$, $3);
        _zor3yyDropColumnSpecs(pyacc, $2, @2);
        _zor3yyTransfer($$, $2);
      }
  | zav_unload_header error SEMICOLON_LX
      {
        _zor3yyReport(@1, @3);
        omsgsFMTEDO(ZORU016E, "UNLOAD ");
        ZOR3YY_HINT(@2);
        _zor3yyRaise(pyacc, ZOR3YACC_LEVEL_ERROR);
        _zor3yyTaskDestroy($1);
        $$ = nullptr;
        YYABORT;
      }
  | zav_unload_header zav_select_blocks error
      {
        _zor3yyReport(@1, @2);
        omsgsFMTEDO(ZORU015E, "UNLOAD ");
        ZOR3YY_HINT(@3);
        _zor3yyRaise(pyacc, ZOR3YACC_LEVEL_ERROR);
        _zor3yyTaskDestroy($1);
        _zor3yyTaskChaineDestroy($2);
        $$ = nullptr;
        YYABORT;
      }
  | zav_unload_header zav_params zav_select_blocks error
      {
        _zor3yyReport(@1, @3);
        omsgsFMTEDO(ZORU015E, "UNLOAD ");
        ZOR3YY_HINT(@4);
        _zor3yyRaise(pyacc, ZOR3YACC_LEVEL_ERROR);
        _zor3yyTaskDestroy($1);
        _zor3yyAtomListDestroy($2);
        _zor3yyTaskChaineDestroy($3);
        $$ = nullptr;
        YYABORT;
      }
  | zav_unload_header zav_params
      {
        /* Reduced without an error: the lexeme that cannot continue the
           block is the lookahead. */
        _zor3yyReport(@1, @2);
        omsgsFMTEDO(ZORU015E, "UNLOAD ");
        if (yychar != ZOR3YY_ZOR3YYEMPTY) {
          static const char *const apcSemicolon[] = {"SEMICOLON_LX"};
          _zor3yyHintSay(pyacc, yysymbol_name(YYTRANSLATE(yychar)), yylloc, apcSemicolon, 1);
        }
        _zor3yyRaise(pyacc, ZOR3YACC_LEVEL_ERROR);
        _zor3yyTaskDestroy($1);
        _zor3yyAtomListDestroy($2);
        $$ = nullptr;
        YYABORT;
      }
  | zav_unload_header error
      {
        _zor3yyReport(@1, @1);
        omsgsFMTEDO(ZORU016E, "UNLOAD ");
        ZOR3YY_HINT(@2);
        _zor3yyRaise(pyacc, ZOR3YACC_LEVEL_ERROR);
        _zor3yyTaskDestroy($1);
        $$ = nullptr;
        YYABORT;
      }
  ;

zav_unload_header:
    UNLOAD_KW TABLESPACE_KW zav_ts_spec_opt zav_part_opt
      {
        $$ = zortaskCreateNamed(nullptr);
        if ($$ == nullptr) { _zor3yyAtomListDestroy($3); _zor3yyAtomDestroy($4); YYABORT; }
        _zor3yyTransfer($$, $3);
        _zor3yyAdd($$, $4);
      }
  ;

zav_ts_spec_opt:
    %empty         { $$ = nullptr; }
  | zav_ts_spec    { $$ = $1; }
  ;

zav_ts_spec:
    db2_identifier
      { $$ = _zor3yyAtomListAdd(nullptr, _zor3yyString(TOKEN_TSNAME, $1, @1, @1)); }
  | db2_identifier DOT_LX db2_identifier
      {
        $$ = _zor3yyAtomListAdd(nullptr, _zor3yyString(TOKEN_TSQUALIFIER, $1, @1, @1));
        $$ = _zor3yyAtomListAdd($$, _zor3yyString(TOKEN_TSNAME, $3, @3, @3));
      }
  ;

zav_part_opt:
    %empty              { $$ = nullptr; }
  | zav_ts_parts_opt    { $$ = $1; }
  ;

zav_ts_parts_opt:
    PART_KW PAROPEN_LX zav_ts_part PARCLOSE_LX
      {
        $$ = _zor3yyAtom(TOKEN_PART, ZORATOM_OBF, 0, (uintptr_t)$3, @1, @4);
        if ($$ == nullptr) obfDestroy($3);
      }
  | PART_KW PAROPEN_LX ALL_KW PARCLOSE_LX
      {
        obf *pobf = obfCreate(ZOR3YACC_PART_BITS);
        $$ = pobf ? _zor3yyAtom(TOKEN_PART, ZORATOM_OBF, 0, (uintptr_t)pobf, @1, @4) : nullptr;
        if ($$ == nullptr) obfDestroy(pobf);
      }
  | PART_KW error PARCLOSE_LX
      {
        _zor3yyReport(@1, @1);
        omsgsFMTEDO(ZORU016E, "PART");
        ZOR3YY_HINT(@2);
        _zor3yyRaise(pyacc, ZOR3YACC_LEVEL_ERROR);
        $$ = nullptr;
        YYABORT;
      }
  ;

zav_ts_part:
    INTEGER_LX
      { $$ = _zor3yyPartAdd(pyacc, nullptr, $1, ZOR3YACC_PART_BITS, @1); }
  | zav_ts_part COMMA_LX INTEGER_LX
      { $$ = _zor3yyPartAdd(pyacc, $1, $3, ZOR3YACC_PART_BITS, @3); }
  ;

zav_params:
    zav_params_item               { $$ = $1; }
  | zav_params zav_params_item    { $$ = _zor3yyAtomListMerge($1, $2); }
  ;

zav_params_item:
    zav_param            { $$ = _zor3yyAtomListAdd(nullptr, $1); }
  | zav_option           { $$ = $1; }
  | zav_output_format    { $$ = $1; }
  ;

zav_param:
    zav_quiesce_param | zav_quiescecat_param | zav_lock_param | zav_maxrc_param
  | zav_db2_param | zav_thread_param | zav_skip_param | zav_maxrows_param
  | zav_interval_param | zav_backup_param | zav_output_param | zav_sizelimit_param
  | zav_filemaxsize_param | zav_lobin_param | zav_lobfile_param | zav_select_ccsid
  ;

/* ------------------------------------------------------------ SELECTs */

zav_select_blocks:
    zav_select_block                     { $$ = _zor3yyTaskChaineAdd(nullptr, $1); }
  | zav_select_blocks zav_select_block   { $$ = _zor3yyTaskChaineAdd($1, $2); }
  ;

/* The SQL text is swallowed by the error token up to the first ";". */
zav_select_block:
    SELECT_KW error SEMICOLON_LX zav_part_opt zav_select_options
      { $$ = _zor3yySelect(pyacc, @1, @2, @3, $4, $5); }
  | SELECT_KW error SEMICOLON_LX zav_part_opt error
      {
        /* its text ran over its options to a later ";": said at the SELECT */
        if (_zor3yyMissingSemicolon(pyacc, @1, @3)) {
          _zor3yyAtomDestroy($4);
          $$ = nullptr;
          YYABORT;
        }
        _zor3yyReport(@5, @5);
        omsgsFMTEDO(ZORU016E, "SELECT BLOCK");
        /* Right after the SQL text the parser is still recovering from the
           error that swallowed it: the hint comes from the lookahead. */
        ZOR3YY_HINT(@5);
        _zor3yyAtomDestroy($4);
        $$ = nullptr;
        YYABORT;
      }
  ;

zav_select_options:
    zav_select_options_item                       { $$ = $1; }
  | zav_select_options zav_select_options_item    { $$ = _zor3yyAtomListMerge($1, $2); }
  ;

zav_select_options_item:
    zav_select_option    { $$ = _zor3yyAtomListAdd(nullptr, $1); }
  | zav_output_format    { $$ = $1; }
  | zav_option           { $$ = $1; }
  ;

zav_select_option:
    zav_maxrc_param | zav_skip_param | zav_maxrows_param | zav_interval_param
  | zav_output_param | zav_sizelimit_param | zav_filemaxsize_param | zav_lobin_param
  | zav_select_ccsid | zav_lobfile_param
  ;

db2_identifier:
    IDENTIFIER_LX    { $$ = $1; }
  | DELIMITED_LX     { $$ = $1; }
  ;

/* ------------------------------------------------------------ clauses */

zav_db2_param:
    DB2_KW YES_KW     { $$ = _zor3yyInteger(TOKEN_DB2, ZOR3YACC_YES, @1, @2); }
  | DB2_KW NO_KW      { $$ = _zor3yyInteger(TOKEN_DB2, ZOR3YACC_NO, @1, @2); }
  | DB2_KW FORCE_KW   { $$ = _zor3yyInteger(TOKEN_DB2, ZOR3YACC_FORCE, @1, @2); }
  | DB2_KW error
      {
        _zor3yyKeywordError(pyacc, @1, @2, "DB2", "YES,NO,FORCE");
        ZOR3YY_DROP_LOOKAHEAD();
        yyerrok;
        $$ = nullptr;
      }
  ;

zav_lock_param:
    LOCK_KW YES_KW    { $$ = _zor3yyInteger(TOKEN_LOCK, ZOR3YACC_YES, @1, @2); }
  | LOCK_KW NO_KW     { $$ = _zor3yyInteger(TOKEN_LOCK, ZOR3YACC_NO, @1, @2); }
  | LOCK_KW error
      {
        _zor3yyKeywordError(pyacc, @1, @2, "LOCK", "YES,NO");
        ZOR3YY_DROP_LOOKAHEAD();
        yyerrok;
        $$ = nullptr;
      }
  ;

zav_quiesce_param:
    QUIESCE_KW YES_KW   { $$ = _zor3yyInteger(TOKEN_QUIESCE, ZOR3YACC_YES, @1, @2); }
  | QUIESCE_KW NO_KW    { $$ = _zor3yyInteger(TOKEN_QUIESCE, ZOR3YACC_NO, @1, @2); }
  | QUIESCE_KW error
      {
        _zor3yyKeywordError(pyacc, @1, @2, "QUIESCE", "YES,NO");
        ZOR3YY_DROP_LOOKAHEAD();
        yyerrok;
        $$ = nullptr;
      }
  ;

zav_quiescecat_param:
    QUIESCECAT_KW YES_KW   { $$ = _zor3yyInteger(TOKEN_QUIESCECAT, ZOR3YACC_YES, @1, @2); }
  | QUIESCECAT_KW NO_KW    { $$ = _zor3yyInteger(TOKEN_QUIESCECAT, ZOR3YACC_NO, @1, @2); }
  | QUIESCECAT_KW error
      {
        _zor3yyKeywordError(pyacc, @1, @2, "QUIESCECAT", "YES,NO");
        ZOR3YY_DROP_LOOKAHEAD();
        yyerrok;
        $$ = nullptr;
      }
  ;

zav_maxtask_param:
    MAXTASK_KW INTEGER_LX   { $$ = _zor3yyInteger(TOKEN_MAXTASK, $2, @1, @2); }
  | MAXTASK_KW error
      {
        _zor3yyKeywordError(pyacc, @1, @2, "MAXTASK", "integer");
        ZOR3YY_DROP_LOOKAHEAD();
        yyerrok;
        $$ = nullptr;
      }
  ;

zav_maxrc_param:
    MAXRC_KW INTEGER_LX   { $$ = _zor3yyInteger(TOKEN_MAXRC, $2, @1, @2); }
  | MAXRC_KW error
      {
        _zor3yyKeywordError(pyacc, @1, @2, "MAXRC", "integer");
        ZOR3YY_DROP_LOOKAHEAD();
        yyerrok;
        $$ = nullptr;
      }
  ;

zav_thread_param:
    THREADS_KW INTEGER_LX    { $$ = _zor3yyInteger(TOKEN_THREADS, $2, @1, @2); }
  ;

zav_maxrows_param:
    MAXROWS_KW INTEGER_LX    { $$ = _zor3yyInteger(TOKEN_MAXROWS, $2, @1, @2); }
  ;

zav_skip_param:
    SKIP_KW INTEGER_LX       { $$ = _zor3yyInteger(TOKEN_SKIP, $2, @1, @2); }
  ;

zav_interval_param:
    INTERVAL_KW INTEGER_LX   { $$ = _zor3yyInteger(TOKEN_INTERVAL, $2, @1, @2); }
  ;

zav_sizelimit_param:
    SIZELIMIT_KW DIM_LX
      { $$ = _zor3yyType(TOKEN_SIZELIMIT, $2.iUnit, $2.iNumber, @1, @2); }
  ;

zav_filemaxsize_param:
    FILEMAXSIZE_KW DIM_LX
      { $$ = _zor3yyType(TOKEN_FILEMAXSIZE, $2.iUnit, $2.iNumber, @1, @2); }
  ;

zav_connect_param:
    CONNECT_KW TO_KW db2_identifier
      { $$ = _zor3yyString(TOKEN_DBNAME, $3, @1, @3); }
  ;

/* BACKUP "f", ... : backup file entries, partition 0. */
zav_backup_param:
    BACKUP_KW zav_backup_list
      {
        $$ = _zor3yyAtom(TOKEN_BACKUP, ZORATOM_OLIST, 0, (uintptr_t)$2, @1, @2);
        if ($$ == nullptr) olistDestroy($2);
      }
  | BACKUP_KW PAROPEN_LX zav_backup_list PARCLOSE_LX
      {
        $$ = _zor3yyAtom(TOKEN_BACKUP, ZORATOM_OLIST, 0, (uintptr_t)$3, @1, @4);
        if ($$ == nullptr) olistDestroy($3);
      }
  ;

zav_backup_list:
    DELIMITED_LX
      {
        $$ = olistCreate(0, zorbkFileEntryCloneItem, zorbkFileEntryDestroyItem);
        zorbkFileEntry *pentry = $$ ? zorbkFileEntryCreate(_zor3yyMakeC($1), 0) : nullptr;
        if (pentry != nullptr) olistAppend($$, pentry); else ocharDestroy($1);
      }
  | zav_backup_list COMMA_LX DELIMITED_LX
      {
        $$ = $1;
        zorbkFileEntry *pentry = $$ ? zorbkFileEntryCreate(_zor3yyMakeC($3), 0) : nullptr;
        if (pentry != nullptr) olistAppend($$, pentry); else ocharDestroy($3);
      }
  ;

/* OUTPUT ( [ON ... HOST] "file" [REPLACE|APPEND] [FOR PARTS (n, ...)], ... ) */
zav_output_param:
    OUTPUT_KW PAROPEN_LX zav_output_list PARCLOSE_LX
      {
        $$ = _zor3yyAtom(TOKEN_OUTPUT, ZORATOM_OLIST, 0, (uintptr_t)$3, @1, @4);
        if ($$ == nullptr) olistDestroy($3);
      }
  | OUTPUT_KW PAROPEN_LX PARCLOSE_LX
      { $$ = nullptr; }
  | OUTPUT_KW error PARCLOSE_LX
      {
        _zor3yyReport(@1, @1);
        omsgsFMTEDO(ZORU016E, "OUTPUT");
        ZOR3YY_HINT(@2);
        _zor3yyRaise(pyacc, ZOR3YACC_LEVEL_SEVERE);
        $$ = nullptr;
        YYABORT;
      }
  ;

zav_output_list:
    zav_output_elt
      {
        $$ = olistCreate(0, udbOutFileCloneItem, udbOutFileDestroyItem);
        if ($$ != nullptr)
          olistAppend($$, $1);
        else
          udbOutFileDestroy(static_cast<udbOutFile *>($1));
      }
  | zav_output_list COMMA_LX zav_output_elt
      {
        $$ = $1;
        if ($$ != nullptr)
          olistAppend($$, $3);
        else
          udbOutFileDestroy(static_cast<udbOutFile *>($3));
      }
  ;

zav_output_elt:
    zav_output_file zav_output_mode zav_for_part_clause
      { $$ = _zor3yyOutputComplete(static_cast<udbOutFile *>($1), (uint32_t)$2, $3); }
  ;

zav_output_file:
    DELIMITED_LX
      { $$ = _zor3yyOutputFile($1, nullptr, UDB_MODE_CURRENT); }
  | ON_KW REMOTE_KW HOST_KW DELIMITED_LX
      { $$ = _zor3yyOutputFile($4, nullptr, UDB_MODE_REMOTE); }
  | ON_KW CURRENT_KW HOST_KW DELIMITED_LX
      { $$ = _zor3yyOutputFile($4, nullptr, UDB_MODE_CURRENT); }
  | ON_KW DELIMITED_LX HOST_KW DELIMITED_LX
      { $$ = _zor3yyOutputFile($4, $2, UDB_MODE_HOST); }
  ;

zav_output_mode:
    %empty        { $$ = UDB_MODE_REPLACE; }
  | REPLACE_KW    { $$ = UDB_MODE_REPLACE; }
  | APPEND_KW     { $$ = UDB_MODE_APPEND; }
  ;

zav_for_part_clause:
    %empty                                              { $$ = nullptr; }
  | FOR_KW PARTS_KW PAROPEN_LX zav_node_number_list PARCLOSE_LX   { $$ = $4; }
  ;

/* The set holds (largest number) + 1 bits. */
zav_node_number_list:
    INTEGER_LX
      { $$ = _zor3yyPartAdd(pyacc, nullptr, $1, 1, @1); }
  | zav_node_number_list COMMA_LX INTEGER_LX
      { $$ = _zor3yyPartAdd(pyacc, $1, $3, 1, @3); }
  ;

/* LOB IN ("dir" [FOR PARTS (n, ...)], ...) */
zav_lobin_param:
    LOB_KW IN_KW PAROPEN_LX zav_lobpath_list PARCLOSE_LX
      {
        $$ = _zor3yyAtom(TOKEN_LOB, ZORATOM_OLIST, ZORATOM_BORROWED, (uintptr_t)$4, @1, @5);
        if ($$ == nullptr) _zor3yyLobPathListDestroy(static_cast<olist *>($4));
      }
  ;

zav_lobpath_list:
    zav_lobpath_elt
      {
        olist *plist = olistCreateRef(nullptr, nullptr);
        if (plist != nullptr) olistAppendRef(plist, $1, 0);
        else udbLobPathDestroy(static_cast<udbLobPath *>($1));
        $$ = plist;
      }
  | zav_lobpath_list COMMA_LX zav_lobpath_elt
      {
        $$ = $1;
        if ($$ != nullptr) olistAppendRef(static_cast<olist *>($$), $3, 0);
        else udbLobPathDestroy(static_cast<udbLobPath *>($3));
      }
  ;

zav_lobpath_elt:
    DELIMITED_LX zav_for_part_clause
      {
        udbLobPath *plob = udbLobPathCreate();
        if (plob != nullptr) {
          plob->pcharPath = _zor3yyMakeC($1);
          plob->pobfPart = $2 != nullptr ? $2 : obfCreate(ZOR3YACC_PART_BITS);
        } else {
          ocharDestroy($1);
          obfDestroy($2);
        }
        $$ = plob;
      }
  ;

/* LOBFILE ("name", ...) */
zav_lobfile_param:
    LOBFILE_KW PAROPEN_LX zav_lobfile_list PARCLOSE_LX
      {
        $$ = _zor3yyAtom(TOKEN_LOBFILE, ZORATOM_OLIST, 0, (uintptr_t)$3, @1, @4);
        if ($$ == nullptr) olistDestroy($3);
      }
  ;

zav_lobfile_list:
    DELIMITED_LX
      {
        $$ = olistCreateRef(_zor3yyCharClone, _zor3yyCharDestroy);
        if ($$ != nullptr) olistAppendRef($$, _zor3yyMakeC($1), 1); else ocharDestroy($1);
      }
  | zav_lobfile_list COMMA_LX DELIMITED_LX
      {
        $$ = $1;
        if ($$ != nullptr) olistAppendRef($$, _zor3yyMakeC($3), 1); else ocharDestroy($3);
      }
  ;

/* CCSID (a [, b]) and the code schemes. */
zav_select_ccsid:
    CCSID_KW PAROPEN_LX zav_ccsid_opt PARCLOSE_LX
      { $$ = _zor3yyCcsid1($3, @1, @4); }
  | CCSID_KW PAROPEN_LX zav_ccsid_opt COMMA_LX zav_ccsid_opt PARCLOSE_LX
      { $$ = _zor3yyCcsid2($3, $5, @1, @6); }
  | ASIS_KW      { $$ = _zor3yyInteger(TOKEN_SCHEME, ZOR3YACC_ASIS, @1, @1); }
  | ASCII_KW     { $$ = _zor3yyInteger(TOKEN_SCHEME, ZOR3YACC_ASCII, @1, @1); }
  | UNICODE_KW   { $$ = _zor3yyInteger(TOKEN_SCHEME, ZOR3YACC_UNICODE, @1, @1); }
  | CCSID_KW error PARCLOSE_LX
      {
        _zor3yyReport(@1, @3);
        omsgsFMTEDO(ZORU016E, "CCSID");
        ZOR3YY_HINT(@2);
        _zor3yyRaise(pyacc, ZOR3YACC_LEVEL_ERROR);
        $$ = nullptr;
        YYABORT;
      }
  ;

zav_ccsid_opt:
    %empty       { $$ = 0; }
  | zav_ccsid    { $$ = $1; }
  ;

zav_ccsid:
    INTEGER_LX   { $$ = $1; }
  | UTF8_KW      { $$ = 1208; }
  | UTF16_KW     { $$ = 1200; }
  ;

/* ------------------------------------------------------------ OPTIONS */

zav_option:
    OPTIONS_KW zav_option_details   { $$ = $2; }
  | OPTIONS_KW error
      {
        _zor3yyReport(@1, @2);
        omsgsFMTEDO(ZORU016E, "OPTIONS");
        ZOR3YY_HINT(@2);
        _zor3yyRaise(pyacc, ZOR3YACC_LEVEL_ERROR);
        $$ = nullptr;
        YYABORT;
      }
  ;

zav_option_details:
    zav_option_detail                      { $$ = _zor3yyAtomListAdd(nullptr, $1); }
  | zav_option_details zav_option_detail   { $$ = _zor3yyAtomListAdd($1, $2); }
  ;

zav_option_detail:
    zav_option_null | zav_option_date | zav_option_time | zav_option_timestamp
  | zav_option_datedelim | zav_option_timedelim | zav_option_pic | zav_option_lengthbyte
  | zav_option_length | zav_option_nullid | zav_option_lls | zav_option_nullpos
  | zav_option_double_delim
  ;

zav_option_null:
    NULL_KW LITTERAL_LX LITTERAL_LX
      {
        $$ = zoratomCreateDoubleChar(_zor3yyName(TOKEN_NULL), _zor3yyMakeC($2), _zor3yyMakeC($3),
                                     &@1, &@3);
        if ($$ == nullptr) { ocharDestroy($2); ocharDestroy($3); }
      }
  | NULL_KW OFF_KW
      { $$ = zoratomCreateDoubleChar(_zor3yyName(TOKEN_NULL), nullptr, nullptr, &@1, &@2); }
  | NULL_KW error
      {
        _zor3yyKeywordError(pyacc, @1, @2, "NULL", "char char, OFF");
        ZOR3YY_DROP_LOOKAHEAD();
        yyerrok;
        $$ = nullptr;
      }
  ;

zav_option_date:
    DATE_KW zav_date_format   { $$ = _zor3yyType(TOKEN_DATE, 10, $2, @1, @2); }
  | DATE_KW error
      {
        _zor3yyKeywordError(pyacc, @1, @2, "DATE", "DATE_X WHERE X IS BETWEEN A AND P");
        ZOR3YY_DROP_LOOKAHEAD();
        yyerrok;
        $$ = nullptr;
      }
  ;

zav_option_time:
    TIME_KW zav_time_format   { $$ = _zor3yyType(TOKEN_TIME, 11, $2, @1, @2); }
  | TIME_KW error
      {
        _zor3yyKeywordError(pyacc, @1, @2, "TIME", "TIME_X WHERE X IS BETWEEN A AND E");
        ZOR3YY_DROP_LOOKAHEAD();
        yyerrok;
        $$ = nullptr;
      }
  ;

zav_option_timestamp:
    TIMESTAMP_KW zav_timestamp_format   { $$ = _zor3yyType(TOKEN_TIMESTAMP, 12, $2, @1, @2); }
  | TIMESTAMP_KW error
      {
        _zor3yyKeywordError(pyacc, @1, @2, "TIMESTAMP", "TIMESTAMP_X WHERE X IS BETWEEN A AND F");
        ZOR3YY_DROP_LOOKAHEAD();
        yyerrok;
        $$ = nullptr;
      }
  ;

zav_date_format:
    DATE_A_KW { $$ = 'A'; } | DATE_B_KW { $$ = 'B'; } | DATE_C_KW { $$ = 'C'; }
  | DATE_D_KW { $$ = 'D'; } | DATE_E_KW { $$ = 'E'; } | DATE_F_KW { $$ = 'F'; }
  | DATE_G_KW { $$ = 'G'; } | DATE_H_KW { $$ = 'H'; } | DATE_I_KW { $$ = 'I'; }
  | DATE_J_KW { $$ = 'J'; } | DATE_K_KW { $$ = 'K'; } | DATE_L_KW { $$ = 'L'; }
  | DATE_M_KW { $$ = 'M'; } | DATE_N_KW { $$ = 'N'; } | DATE_O_KW { $$ = 'O'; }
  | DATE_P_KW { $$ = 'P'; }
  ;

zav_time_format:
    TIME_A_KW { $$ = 'A'; } | TIME_B_KW { $$ = 'B'; } | TIME_C_KW { $$ = 'C'; }
  | TIME_D_KW { $$ = 'D'; } | TIME_E_KW { $$ = 'E'; }
  ;

zav_timestamp_format:
    TIMESTAMP_A_KW { $$ = 'A'; } | TIMESTAMP_B_KW { $$ = 'B'; } | TIMESTAMP_C_KW { $$ = 'C'; }
  | TIMESTAMP_D_KW { $$ = 'D'; } | TIMESTAMP_E_KW { $$ = 'E'; } | TIMESTAMP_F_KW { $$ = 'F'; }
  ;

zav_option_datedelim:
    DATEDELIM_KW LITTERAL_LX   { $$ = _zor3yyString(TOKEN_DATEDELIM, $2, @1, @2); }
  | DATEDELIM_KW error
      {
        _zor3yyKeywordError(pyacc, @1, @2, "DATEDELIM", "char");
        ZOR3YY_DROP_LOOKAHEAD();
        yyerrok;
        $$ = nullptr;
      }
  ;

zav_option_timedelim:
    TIMEDELIM_KW LITTERAL_LX   { $$ = _zor3yyString(TOKEN_TIMEDELIM, $2, @1, @2); }
  | TIMEDELIM_KW error
      {
        _zor3yyKeywordError(pyacc, @1, @2, "TIMEDELIM", "char");
        ZOR3YY_DROP_LOOKAHEAD();
        yyerrok;
        $$ = nullptr;
      }
  ;

zav_option_lls:
    LLS_KW ON_KW    { $$ = _zor3yyInteger(TOKEN_LLS, 1, @1, @2); }
  | LLS_KW OFF_KW   { $$ = _zor3yyInteger(TOKEN_LLS, 0, @1, @2); }
  | LLS_KW error
      {
        _zor3yyKeywordError(pyacc, @1, @2, "LLS", "ON, OFF");
        ZOR3YY_DROP_LOOKAHEAD();
        yyerrok;
        $$ = nullptr;
      }
  ;

zav_option_double_delim:
    DOUBLE_KW DELIM_KW ON_KW    { $$ = _zor3yyInteger(TOKEN_DOUBLE_DELIM, 1, @1, @3); }
  | DOUBLE_KW DELIM_KW OFF_KW   { $$ = _zor3yyInteger(TOKEN_DOUBLE_DELIM, 0, @1, @3); }
  | DOUBLE_KW error
      {
        _zor3yyKeywordError(pyacc, @1, @2, "DOUBLE", "DELIM");
        ZOR3YY_DROP_LOOKAHEAD();
        yyerrok;
        $$ = nullptr;
      }
  | DOUBLE_KW DELIM_KW error
      {
        _zor3yyKeywordError(pyacc, @1, @2, "DOUBLE DELIM", "ON, OFF");
        ZOR3YY_DROP_LOOKAHEAD();
        yyerrok;
        $$ = nullptr;
      }
  ;

zav_option_lengthbyte:
    LENGTHBYTE_KW YES_KW   { $$ = _zor3yyInteger(TOKEN_LENGTHBYTE, ZOR3YACC_YES, @1, @2); }
  | LENGTHBYTE_KW NO_KW    { $$ = _zor3yyInteger(TOKEN_LENGTHBYTE, ZOR3YACC_NO, @1, @2); }
  | LENGTHBYTE_KW error
      {
        _zor3yyKeywordError(pyacc, @1, @2, "LENGTHBYTE", "YES, NO");
        ZOR3YY_DROP_LOOKAHEAD();
        yyerrok;
        $$ = nullptr;
      }
  ;

zav_option_nullid:
    NULLID_KW YES_KW   { $$ = _zor3yyInteger(TOKEN_NULLID, ZOR3YACC_YES, @1, @2); }
  | NULLID_KW NO_KW    { $$ = _zor3yyInteger(TOKEN_NULLID, ZOR3YACC_NO, @1, @2); }
  | NULLID_KW error
      {
        _zor3yyKeywordError(pyacc, @1, @2, "NULLID", "YES, NO");
        ZOR3YY_DROP_LOOKAHEAD();
        yyerrok;
        $$ = nullptr;
      }
  ;

zav_option_length:
    LENGTH_KW REAL_KW   { $$ = _zor3yyInteger(TOKEN_LENGTH, ZOR3YACC_REAL, @1, @2); }
  | LENGTH_KW MAX_KW    { $$ = _zor3yyInteger(TOKEN_LENGTH, ZOR3YACC_MAX, @1, @2); }
  | LENGTH_KW error
      {
        _zor3yyKeywordError(pyacc, @1, @2, "LENGTH", "REAL, MAX");
        ZOR3YY_DROP_LOOKAHEAD();
        yyerrok;
        $$ = nullptr;
      }
  ;

zav_option_nullpos:
    NULLPOS_KW AFTER_KW    { $$ = _zor3yyInteger(TOKEN_NULLPOS, ZOR3YACC_AFTER, @1, @2); }
  | NULLPOS_KW BEFORE_KW   { $$ = _zor3yyInteger(TOKEN_NULLPOS, ZOR3YACC_BEFORE, @1, @2); }
  | NULLPOS_KW error
      {
        _zor3yyKeywordError(pyacc, @1, @2, "NULLPOS", "BEFORE, AFTER");
        ZOR3YY_DROP_LOOKAHEAD();
        yyerrok;
        $$ = nullptr;
      }
  ;

/* PIC (sign, LEAD|TRAIL, point, [mask]): the third comma is always written. */
zav_option_pic:
    PIC_KW PAROPEN_LX LITTERAL_LX COMMA_LX zav_pic_signpos COMMA_LX LITTERAL_LX COMMA_LX
    zav_pic_mask_opt PARCLOSE_LX
      {
        int32_t iFlags = _zor3yyPicFlags(pyacc, $3, $5, $7, $9);
        ocharDestroy($3);
        ocharDestroy($7);
        ocharDestroy($9);
        $$ = iFlags != 0 ? _zor3yyInteger(TOKEN_PIC, iFlags, @1, @10) : nullptr;
      }
  | PIC_KW error PARCLOSE_LX
      {
        /* The request is not run with a clause it could not read. */
        _zor3yyReport(@1, @3);
        omsgsFMTEDO(ZORU023E);
        ZOR3YY_HINT(@2);
        _zor3yyRaise(pyacc, ZOR3YACC_LEVEL_ERROR);
        $$ = nullptr;
      }
  ;

zav_pic_signpos:
    TRAIL_KW   { $$ = ZOR3YACC_PIC_TRAIL; }
  | LEAD_KW    { $$ = ZOR3YACC_PIC_LEAD; }
  ;

zav_pic_mask_opt:
    %empty         { $$ = nullptr; }
  | LITTERAL_LX    { $$ = $1; }
  ;

/* ------------------------------------------------------------ FORMAT */

zav_output_format:
    FORMAT_KW zav_output_delimited   { $$ = $2; }
  | FORMAT_KW zav_output_user        { $$ = $2; }
  | FORMAT_KW IXF_KW
      {
        $$ = _zor3yyAtomListAdd(nullptr,
                                _zor3yyInteger(TOKEN_FORMAT, ZOR3YACC_FORMAT_IXF, @1, @2));
      }
  ;

zav_output_delimited:
    DELIMITED_KW
      {
        $$ = _zor3yyAtomListAdd(nullptr,
                                _zor3yyInteger(TOKEN_FORMAT, ZOR3YACC_FORMAT_DELIMITED, @1, @1));
      }
  | DELIMITED_KW zav_delimited_options
      {
        zoratom *patom = _zor3yyInteger(TOKEN_FORMAT, ZOR3YACC_FORMAT_DELIMITED, @1, @1);
        $$ = _zor3yyAtomListMerge(_zor3yyAtomListAdd(nullptr, patom), $2);
      }
  | DEL_KW
      {
        $$ = _zor3yyAtomListAdd(nullptr,
                                _zor3yyInteger(TOKEN_FORMAT, ZOR3YACC_FORMAT_DEL, @1, @1));
      }
  ;

zav_delimited_options:
    zav_delimited_option                         { $$ = _zor3yyAtomListAdd(nullptr, $1); }
  | zav_delimited_options zav_delimited_option   { $$ = _zor3yyAtomListAdd($1, $2); }
  ;

zav_delimited_option:
    zav_format_delim_param | zav_format_sep_param | zav_format_nulldelim_param
  ;

zav_format_delim_param:
    DELIM_KW LITTERAL_LX   { $$ = _zor3yyString(TOKEN_DELIM, $2, @1, @2); }
  ;

zav_format_sep_param:
    SEP_KW LITTERAL_LX     { $$ = _zor3yyString(TOKEN_SEP, $2, @1, @2); }
  ;

zav_format_nulldelim_param:
    NULL_KW DELIM_KW       { $$ = _zor3yyInteger(TOKEN_NULLDELIM, 1, @1, @2); }
  ;

zav_output_user:
    USER_KW PAROPEN_LX zav_format_col_specs PARCLOSE_LX
      {
        $$ = _zor3yyAtomListAdd(nullptr,
                                _zor3yyInteger(TOKEN_FORMAT, ZOR3YACC_FORMAT_USER, @1, @4));
        if ($3 != nullptr && $3->iItemCount > 0) {
          zoratom *patom = _zor3yyAtom(TOKEN_ECSTASK, ZORATOM_TASKCHAINE, ZORATOM_BORROWED,
                                       (uintptr_t)$3, @1, @4);
          if (patom == nullptr) _zor3yyTaskChaineDestroy($3);
          $$ = _zor3yyAtomListAdd($$, patom);
        } else {
          _zor3yyTaskChaineDestroy($3);
        }
      }
  | USER_KW
      {
        $$ = _zor3yyAtomListAdd(nullptr,
                                _zor3yyInteger(TOKEN_FORMAT, ZOR3YACC_FORMAT_USER, @1, @1));
      }
  ;

zav_format_col_specs:
    zav_format_col_spec
      { $$ = $1 ? _zor3yyTaskChaineAdd(nullptr, $1)
                : ochaineCreate(0, zortaskChaineClone, zortaskChaineDestroy); }
  | zav_format_col_specs COMMA_LX zav_format_col_spec
      { $$ = _zor3yyTaskChaineAdd($1, $3); }
  ;

/* COL n (1 to 5000, the n-th selected column) or COL name, then its options. */
zav_format_col_spec:
    COL_KW INTEGER_LX zav_col_spec_options
      {
        $$ = nullptr;
        if (!oyaccCheckIntegerRange($2, 1, 5000)) {
          _zor3yyRangeError(pyacc, @2, " > 0 ");
          _zor3yyAtomListDestroy($3);
        } else {
          zorcol *pcol = zorcolCreate(nullptr, $2, nullptr, 0);
          zoratom *patom = pcol ? _zor3yyAtom(TOKEN_COL, ZORATOM_ZORCOL, 0, (uintptr_t)pcol, @1, @2)
                                : nullptr;
          if (patom == nullptr) zorcolDestroy(pcol);
          $$ = zortaskCreateNamed(nullptr);
          if ($$ == nullptr) {
            _zor3yyAtomDestroy(patom);
            _zor3yyAtomListDestroy($3);
          } else {
            _zor3yyAdd($$, patom);
            _zor3yyTransfer($$, $3);
          }
        }
      }
  | COL_KW db2_identifier zav_col_spec_options
      {
        zorcol *pcol = zorcolCreate(_zor3yyMakeC($2), 0, nullptr, 0);
        if (pcol == nullptr) ocharDestroy($2);
        zoratom *patom = pcol ? _zor3yyAtom(TOKEN_COL, ZORATOM_ZORCOL, 0, (uintptr_t)pcol, @1, @2)
                              : nullptr;
        if (pcol != nullptr && patom == nullptr) zorcolDestroy(pcol);
        $$ = zortaskCreateNamed(nullptr);
        if ($$ == nullptr) {
          _zor3yyAtomDestroy(patom);
          _zor3yyAtomListDestroy($3);
        } else {
          _zor3yyAdd($$, patom);
          _zor3yyTransfer($$, $3);
        }
      }
  ;

zav_col_spec_options:
    zav_col_spec_option                        { $$ = _zor3yyAtomListAdd(nullptr, $1); }
  | zav_col_spec_options zav_col_spec_option   { $$ = _zor3yyAtomListAdd($1, $2); }
  ;

zav_col_spec_option:
    zav_col_type_param | zav_col_padding_param | zav_format_delim_param
  | zav_option_lengthbyte | zav_option_length | zav_option_nullid | zav_option_nullpos
  | zav_col_just_param | zav_option_pic | zav_option_null | zav_col_ccsid_param
  ;

zav_col_padding_param:
    PADDING_KW LITTERAL_LX   { $$ = _zor3yyString(TOKEN_PADDING, $2, @1, @2); }
  ;

zav_col_just_param:
    JUST_KW RIGHT_KW   { $$ = _zor3yyInteger(TOKEN_JUST, ZOR3YACC_RIGHT, @1, @2); }
  | JUST_KW LEFT_KW    { $$ = _zor3yyInteger(TOKEN_JUST, ZOR3YACC_LEFT, @1, @2); }
  ;

zav_col_ccsid_param:
    CCSID_KW zav_ccsid   { $$ = _zor3yyInteger(TOKEN_CCSID, $2, @1, @2); }
  ;

/* TYPE: internal type id and length or precision; a size out of its range
** is reported and gives no type. */
zav_col_type_param:
    TYPE_KW INTEGER_KW    { $$ = _zor3yyType(TOKEN_COLTYPE, 2, 0, @1, @2); }
  | TYPE_KW SMALLINT_KW   { $$ = _zor3yyType(TOKEN_COLTYPE, 1, 0, @1, @2); }
  | TYPE_KW DECIMAL_KW PAROPEN_LX INTEGER_LX COMMA_LX INTEGER_LX PARCLOSE_LX
      {
        $$ = nullptr;
        if (!oyaccCheckIntegerRange($4, 1, 31)) {
          _zor3yyRangeError(pyacc, @4, " (1-31)");
        } else if (!oyaccCheckIntegerRange($6, 0, $4)) {
          char acRange[16];
          std::snprintf(acRange, sizeof acRange, " (0-%i)", (int)$4);
          _zor3yyRangeError(pyacc, @6, acRange);
        } else {
          $$ = _zor3yyType(TOKEN_COLTYPE, 3, $4 * 256 + $6, @1, @7);
        }
      }
  | TYPE_KW DECIMAL_KW PAROPEN_LX INTEGER_LX PARCLOSE_LX
      {
        $$ = nullptr;
        if (!oyaccCheckIntegerRange($4, 1, 31))
          _zor3yyRangeError(pyacc, @4, " (1-31)");
        else
          $$ = _zor3yyType(TOKEN_COLTYPE, 3, $4 * 256, @1, @5);
      }
  | TYPE_KW DECIMAL_KW    { $$ = _zor3yyType(TOKEN_COLTYPE, 3, 0x500, @1, @2); }
  | TYPE_KW FLOAT_KW PAROPEN_LX INTEGER_LX PARCLOSE_LX
      {
        $$ = nullptr;
        if (!oyaccCheckIntegerRange($4, 1, 53))
          _zor3yyRangeError(pyacc, @4, " (1-53)");
        else
          $$ = _zor3yyType(TOKEN_COLTYPE, 5, $4, @1, @5);
      }
  | TYPE_KW FLOAT_KW      { $$ = _zor3yyType(TOKEN_COLTYPE, 5, 53, @1, @2); }
  | TYPE_KW CHAR_KW PAROPEN_LX INTEGER_LX PARCLOSE_LX
      {
        $$ = nullptr;
        if (!oyaccCheckIntegerRange($4, 1, 255))
          _zor3yyRangeError(pyacc, @4, " (1-255)");
        else
          $$ = _zor3yyType(TOKEN_COLTYPE, 7, $4, @1, @5);
      }
  | TYPE_KW VARCHAR_KW PAROPEN_LX INTEGER_LX PARCLOSE_LX
      {
        $$ = nullptr;
        if (!oyaccCheckIntegerRange($4, 1, 255))
          _zor3yyRangeError(pyacc, @4, " (1-255)");
        else
          $$ = _zor3yyType(TOKEN_COLTYPE, 8, $4, @1, @5);
      }
  | TYPE_KW GRAPHIC_KW PAROPEN_LX INTEGER_LX PARCLOSE_LX
      {
        $$ = nullptr;
        if (!oyaccCheckIntegerRange($4, 1, 127))
          _zor3yyRangeError(pyacc, @4, " (1-127)");
        else
          $$ = _zor3yyType(TOKEN_COLTYPE, 13, $4, @1, @5);
      }
  | TYPE_KW VARGRAPHIC_KW PAROPEN_LX INTEGER_LX PARCLOSE_LX
      {
        $$ = nullptr;
        if (!oyaccCheckIntegerRange($4, 1, 127))
          _zor3yyRangeError(pyacc, @4, " (1-127)");
        else
          $$ = _zor3yyType(TOKEN_COLTYPE, 14, $4, @1, @5);
      }
  | TYPE_KW zav_date_format        { $$ = _zor3yyType(TOKEN_COLTYPE, 10, $2, @1, @2); }
  | TYPE_KW DATE_KW                { $$ = _zor3yyType(TOKEN_COLTYPE, 10, 0, @1, @2); }
  | TYPE_KW zav_time_format        { $$ = _zor3yyType(TOKEN_COLTYPE, 11, $2, @1, @2); }
  | TYPE_KW zav_timestamp_format   { $$ = _zor3yyType(TOKEN_COLTYPE, 12, $2, @1, @2); }
  ;

%%

/* The step-by-step trace is always produced; the $YYUDB keyword decides
** whether it reaches a file. */
namespace {
[[maybe_unused]] const int giDebugOn = (zor3yydebug = 1);
}

int _zor3yyudbGetPicMask(oyacc *, ochar *pchar)
{
  if (pchar == nullptr || ocharMakeC(pchar) != 0) return ZOR3YACC_PIC_MASK_UNKNOWN;
  static const struct {
    const char *pcText;
    int32_t iCode;
  } aMasks[] = {
      {"*.*", 0xC000}, {"*.0", 0x8000}, {"0.*", 0xE000},
      {"00.*", 0x4000}, {"0.0", 0xA000}, {"00.0", 0},
  };
  const char *pcText = _charText(pchar);
  for (const auto &mask : aMasks) {
    if ((size_t)pchar->ilBU == std::strlen(mask.pcText) &&
        std::memcmp(pcText, mask.pcText, (size_t)pchar->ilBU) == 0)
      return mask.iCode;
  }
  return ZOR3YACC_PIC_MASK_UNKNOWN;
}

/* Whether the parser, with the state stack vStack (bottom first), would
** shift the terminal after the reductions it calls for, the generator's
** default reductions included.  The reductions are replayed on the states
** they push, reading the stack below them as they pop; nothing is changed.
** This is the set of terminals a parser that checks before each default
** reduction would accept: the state in which the error was finally
** detected may list fewer. */
static bool _zor3yyWouldShift(const std::vector<int> &vStack, int iKind)
{
  std::vector<int> vPushed;
  size_t ulReal = vStack.size();   /* states [0, ulReal) of vStack still stand */
  auto top = [&] { return vPushed.empty() ? vStack[ulReal - 1] : vPushed.back(); };
  for (int iStep = 0; iStep < 1000 && (ulReal > 0 || !vPushed.empty()); iStep++) {
    int iState = top();
    int iRule = 0;
    int yyn = yypact[iState];
    if (!yypact_value_is_default(yyn)) {
      yyn += iKind;
      if (0 <= yyn && yyn <= YYLAST && yycheck[yyn] == iKind) {
        yyn = yytable[yyn];
        if (0 < yyn) return true;
        if (yytable_value_is_error(yyn)) return false;
        iRule = -yyn;
      }
    }
    if (iRule == 0) iRule = yydefact[iState];
    if (iRule == 0) return false;
    size_t ulLength = (size_t)yyr2[iRule];
    while (ulLength > 0 && !vPushed.empty()) {
      vPushed.pop_back();
      ulLength--;
    }
    if (ulLength >= ulReal) return false;   /* cannot happen on a stack the parser built */
    ulReal -= ulLength;
    int iLhs = yyr1[iRule] - YYNTOKENS;
    int iTop = top();
    int iGoto = yypgoto[iLhs] + iTop;
    vPushed.push_back(0 <= iGoto && iGoto <= YYLAST && yycheck[iGoto] == iTop ? yytable[iGoto]
                                                                            : yydefgoto[iLhs]);
  }
  return false;
}

namespace {
int _zor3yyExpectedAtRead(const char **ppcExpected, int iMax)
{
  int iCount = 0;
  if (gvStackAtRead.empty()) return 0;
  for (int iKind = 0; iKind < YYNTOKENS && iCount < iMax; iKind++) {
    if (iKind == YYSYMBOL_YYerror || iKind == YYSYMBOL_YYUNDEF) continue;
    if (_zor3yyWouldShift(gvStackAtRead, iKind))
      ppcExpected[iCount++] = yysymbol_name(static_cast<yysymbol_kind_t>(iKind));
  }
  return iCount;
}
}  // namespace

namespace {
/*
** A SELECT whose ";" is missing swallows what follows it as its text, up to
** the next ";" or the end of the file.  When a line of the text it
** swallowed begins with one of the SELECT's options, the ";" belongs before
** that line: ZORU010I over the SELECT (locSelect to locEnd), ZORU015E and
** ZORU027I for the option found where a ";" was expected, level 8.
** Returns 1 when it said so, 0 when the text holds no such line.
*/
int _zor3yyMissingSemicolon(oyacc *pyacc, const ostreamLocation &locSelect, const ostreamLocation &locEnd)
{
  static const char *const apcOptions[] = {"OUTPUT_KW", "FORMAT_KW", "LOB_KW", "LOBFILE_KW", "FILEMAXSIZE_KW",
                                           "MAXROWS_KW", "MAXRC_KW", "SIZELIMIT_KW", "SKIP_KW", "INTERVAL_KW",
                                           "CCSID_KW", "ASCII_KW", "ASIS_KW", "UNICODE_KW", "OPTIONS_KW", "PART_KW"};
  if (gselect.loc.first_line != locSelect.first_line || gselect.loc.first_column != locSelect.first_column) return 0;
  for (const auto &[iToken, loc] : gselect.vLineStarts) {
    const char *pcName = yysymbol_name(YYTRANSLATE(iToken));
    bool boOption = false;
    for (const char *pcOption : apcOptions) boOption = boOption || std::strcmp(pcName, pcOption) == 0;
    if (!boOption) continue;
    _zor3yyReport(locSelect, locEnd);
    omsgsFMTEDO(ZORU015E, "SELECT");
    const char *apcExpected[] = {"SEMICOLON_LX"};
    _zor3yyHintSay(pyacc, pcName, loc, apcExpected, 1);
    _zor3yyRaise(pyacc, ZOR3YACC_LEVEL_ERROR);
    return 1;
  }
  return 0;
}
}  // namespace

/* Keeps what the generator saw at a syntax error for the error
** alternatives (_zor3yyHint); says nothing itself.  The state right after
** SELECT takes nothing but the error token that swallows the SQL text: no
** error of the user's, nothing kept. */
static int yyreport_syntax_error(const yypcontext_t *pctx, oyacc *)
{
  (void)yypcontext_expected_tokens;   /* it lists the state's terminals only */
  if (gvStackAtRead.empty()) gvStackAtRead.assign(1, *pctx->yyssp);
  int iCount = _zor3yyExpectedAtRead(gdetected.apcExpected, ZOR3YY_EXPECTED_MAX);
  yysymbol_kind_t kindFound = yypcontext_token(pctx);
  gdetected.boFresh = iCount > 0;
  gdetected.pcFound = kindFound >= 0 ? yysymbol_name(kindFound) : "end of file";
  gdetected.loc = *yypcontext_location(pctx);
  gdetected.iExpected = iCount;
  return 0;
}

/* The parse, and a word for a parse abandoned while the parser was
** recovering from an error, at the end of the text, with no alternative
** taken (an OUTPUT list or a SELECT's SQL text left open): ZORU010I and
** ZORU027I for the error the generator detected or, when it saw none of the
** user's, for the lexeme it stopped at. */
int zor3yyparse(oyacc *pyacc)
{
  int iResult = _zor3yyParseTables(pyacc);
  if (iResult != 1 || (!gdetected.boFresh && giReports != 0)) return iResult;
  /* a SELECT whose text ran to the end of the file: said at the SELECT */
  if (giLastRead == 0 && gselect.boOpen && giReports == 0) {
    if (!_zor3yyMissingSemicolon(pyacc, gselect.loc, glocLastRead)) {
      _zor3yyReport(gselect.loc, glocLastRead);
      omsgsFMTEDO(ZORU015E, "SELECT");
      const char *apcExpected[] = {"SEMICOLON_LX"};
      _zor3yyHintSay(pyacc, "end of file", glocLastRead, apcExpected, 1);
      _zor3yyRaise(pyacc, ZOR3YACC_LEVEL_ERROR);
    }
    gdetected.boFresh = 0;
    return iResult;
  }
  if (gdetected.boFresh) {
    gdetected.boFresh = 0;
    _zor3yyReport(gdetected.loc, gdetected.loc);
    _zor3yyHintSay(pyacc, gdetected.pcFound, gdetected.loc, gdetected.apcExpected, gdetected.iExpected);
  } else if (giLastRead >= 0) {
    _zor3yyReport(glocLastRead, glocLastRead);
    _zor3yyHintLookahead(pyacc, yysymbol_name(YYTRANSLATE(giLastRead)), glocLastRead);
  }
  return iResult;
}

int zor3yyuwrap(void) { return 1; }

void zor3yyuerror(const char *pcText)
{
  omsgsTrace("Syntax error: %s\n", pcText != nullptr ? pcText : "");
}
