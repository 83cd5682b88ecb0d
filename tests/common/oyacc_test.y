/*
** oyacc_test.y
**   A small language parsed by a generated pure parser that reads its
**   lexemes from olex through a parser context, the way the program's
**   grammars do: token numbers are the lexeme ids of the context definition,
**   the semantic value is the lexer's 8-byte cell, the location type is the
**   five-word lexeme location and the state stack has 200 entries.
**
**     UNLOAD name [LIMIT n] ... ;     a statement with an optional range-checked limit
**     SELECT anything ;               its text is cut out and lexed again from a sub-stream
**     ( ( ... ) ) ;                   nesting, to exhaust the state stack
**
**   Every reduction reports to oyaccTestRecord (defined by the test).
*/
%define api.pure full
%define api.prefix {tst}
%define api.value.type {olexValue}
%locations
%parse-param {oyacc *pyacc}
%lex-param {oyacc *pyacc}

%code requires {
#include "common/oyacc.h"
#include "common/ochar.h"

#define TSTLTYPE ostreamLocation
#define TSTLTYPE_IS_DECLARED 1
#define TSTLTYPE_IS_TRIVIAL 1

/* The test's context definitions, built on the token numbers below. */
extern const olexContextDef *const aplexContextDefTst[];

/* Reports one reduction: its kind, location and text. */
void oyaccTestRecord(const char *pcKind, const ostreamLocation *ploc, const char *pcText, int iLength);
}

%code {
#define YYINITDEPTH 200
#define YYMAXDEPTH 200

static int tstlex(TSTSTYPE *pvalue, TSTLTYPE *ploc, oyacc *pyacc)
{
  return olexGet(pvalue, ploc, pyacc->plex);
}

static void tsterror(TSTLTYPE *ploc, oyacc *pyacc, const char *pcMessage)
{
  pyacc->iErrorLevel = 8;
  oyaccTestRecord("error", ploc, pcMessage, -1);
}

static void _tstRecordText(const char *pcKind, const ostreamLocation *ploc, const ochar *pchar)
{
  oyaccTestRecord(pcKind, ploc, _charText(pchar), pchar->ilBU);
}

static const olexDefEntry aTst[] = {
  {K_UNLOAD, OLEX_KA(OLEX_ENTRY_KEYWORD, 0), 0, "UNLOAD"},
  {K_SELECT, OLEX_KA(OLEX_ENTRY_KEYWORD, 0), 0, "SELECT"},
  {K_FROM, OLEX_KA(OLEX_ENTRY_KEYWORD, 0), 0, "FROM"},
  {K_LIMIT, OLEX_KA(OLEX_ENTRY_KEYWORD, 0), 0, "LIMIT"},
  {S_SEMI, OLEX_KA(OLEX_ENTRY_SEPARATOR, 0), 0, ";"},
  {S_COMMA, OLEX_KA(OLEX_ENTRY_SEPARATOR, 0), 0, ","},
  {S_DOT, OLEX_KA(OLEX_ENTRY_SEPARATOR, 0), 0, "."},
  {S_LPAR, OLEX_KA(OLEX_ENTRY_SEPARATOR, 0), 0, "("},
  {S_RPAR, OLEX_KA(OLEX_ENTRY_SEPARATOR, 0), 0, ")"},
  {ERRLEX, OLEX_KA(OLEX_ENTRY_BASE, 0), OLEX_CLASS_ERROR, nullptr},
  {INTEGER, OLEX_KA(OLEX_ENTRY_BASE, 0), OLEX_CLASS_INTEGER, nullptr},
  {STRING, OLEX_KA(OLEX_ENTRY_BASE, 0), OLEX_CLASS_STRING, nullptr},
  {IDENT, OLEX_KA(OLEX_ENTRY_BASE, 0), OLEX_CLASS_DELIMITED, nullptr},
  {IDENT, OLEX_KA(OLEX_ENTRY_BASE, 0), OLEX_CLASS_IDENTIFIER, nullptr},
  {0, 0, 0, nullptr},
};
static const olexContextDef tstContext = {1, 0xF9, 0, 0, 0, aTst};
const olexContextDef *const aplexContextDefTst[] = {&tstContext, nullptr};
}

%token K_UNLOAD 1001 K_SELECT 1002 K_FROM 1003 K_LIMIT 1004
%token S_SEMI 2001 S_COMMA 2002 S_DOT 2003 S_LPAR 2004 S_RPAR 2005
%token <pchar> ERRLEX 105
%token <i> INTEGER 106
%token <pchar> STRING 111
%token <pchar> IDENT 113

%destructor { ocharDestroy($$); } <pchar>

%%

file:
    %empty
  | file stmt
  ;

stmt:
    K_UNLOAD IDENT options S_SEMI
      {
        _tstRecordText("unload", &@$, $2);
        ocharDestroy($2);
      }
  | K_SELECT tokens S_SEMI
      {
        ochar *pchar = oyaccExtractRulesString(pyacc, &@1, &@2);
        _tstRecordText("select", &@$, pchar);
        ocharDestroy(pchar);
        /* Lex the statement again from a sub-stream, in a nested context. */
        oyacc yaccNested;
        if (oyaccInitFromYacc(&yaccNested, pyacc, oyaccCreateSubStream(pyacc, &@1, &@2),
                              aplexContextDefTst) == 0) {
          olexValue value;
          ostreamLocation loc;
          for (int iId; (iId = olexGet(&value, &loc, yaccNested.plex)) != 0;) {
            oyaccTestRecord("sub", &loc, "", 0);
            if (iId == IDENT || iId == STRING || iId == ERRLEX) ocharDestroy(value.pchar);
          }
        }
        oyaccDelete(&yaccNested);
      }
  | nest S_SEMI
      { oyaccTestRecord("nest", &@$, "", 0); }
  | error S_SEMI
      {
        oyaccTestRecord("recovered", &@$, "", 0);
        yyerrok;
      }
  ;

options:
    %empty
  | options K_LIMIT INTEGER
      {
        if (!oyaccCheckIntegerRange($3, 1, 100)) {
          pyacc->iErrorLevel = 16;
          oyaccTestRecord("range", &@3, "", 0);
        }
      }
  ;

tokens:
    token
  | tokens token
  ;

token:
    IDENT { ocharDestroy($1); }
  | STRING { ocharDestroy($1); }
  | INTEGER
  | K_FROM
  | S_COMMA
  | S_DOT
  ;

nest:
    S_LPAR S_RPAR
  | S_LPAR nest S_RPAR
  ;

%%
