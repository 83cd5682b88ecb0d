/*
** zordyacc.y
**   Grammar of the SQL text the program reads itself: a SELECT statement of
**   a SELECT block (one table, a select list of expressions, an optional
**   WHERE condition, an optional ORDER clause), its clauses on their own, a
**   bare search condition, and "DDL" followed by CREATE VIEW statements.  The
**   actions build column chains, expression trees (expr/zornode.h,
**   expr/zorcol.h) and atoms of the request model, and leave the results in
**   the parser context (see control/zordyacc.h for the result fields).
**
**   The text is lexed by olex over the four contexts of control/zordlex.h;
**   the first keyword (SELECT, WHERE, DDL, ORDER) chooses the vocabulary, so
**   for instance AS is a plain name inside a SELECT statement and a keyword
**   in a view, and a view knows no operators.
**
**   Errors.  Syntax errors go through the error token: rules holding it
**   report ZORU010I with the span named by the rule and a second message,
**   then either mark the text as SQL outside the native grammar
**   (ulParseStatus bit 4, the parse goes on) or as unusable (iErrorLevel 8).
**   The value of a construct that failed is empty (NULL), and an empty value
**   propagates to the constructs holding it: an empty column empties the
**   column list, an empty list leaves the SELECT clause without atom.
**   Whatever a failed construct held is freed, and so is every value the
**   generated parser discards (the destructors below), so that a refused
**   text leaves nothing behind.  The generator's own error text is only
**   traced.  Recovery is the generator's: after a rule has taken an error,
**   lexemes that still do not fit are dropped silently and may lead to a
**   further recovery rule, so one mistake can give more than one message,
**   and a lexeme left over by a recovery can still end the parse.
**
**   Default reductions are made only in states that hold nothing but one
**   reduction, so a lexeme that cannot follow a select list is met while the
**   list is still on the stack and the SELECT recovery can take it (SELECT
**   C1 AS X FROM T keeps its FROM clause), while a lexeme after SELECT * or
**   after a complete statement meets no recovery rule and ends the parse.
**   The grammar has no conflicts (%expect 0).
**
**   Built with the token numbers of control/tokens.def (inserted at the
**   marker below by control/zortokens.cmake), a pure parser over the parser
**   context, the lexeme location as location type, a state stack fixed at
**   200 entries, and the generator's debug output on the $GRAMDB trace.
*/
%require "3.8"
%define api.pure full
%define api.prefix {zordyy}
%define api.token.prefix {ZORDYY_}
%define api.value.type {zortokensValue}
%define parse.error verbose
%define parse.trace
%define lr.default-reduction consistent
%expect 0
%locations
%parse-param {oyacc *pyacc}
%lex-param {oyacc *pyacc}

%code requires {
#include "common/oyacc.h"
#include "control/zordyacc.h"
#include "control/zortokens.h"

#define ZORDYYLTYPE ostreamLocation
#define ZORDYYLTYPE_IS_DECLARED 1
#define ZORDYYLTYPE_IS_TRIVIAL 1
}

%code {
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "common/ochaine.h"
#include "common/ochar.h"
#include "common/olist.h"
#include "common/ostream.h"
#include "model/token.h"
#include "model/zoratom.h"
#include "model/zormsgs.h"
#include "model/zortask.h"
#include "expr/zorcol.h"
#include "expr/zornode.h"

#define OMSGS_TRACE_KEYWORD "$GRAMDB"
#define OMSGS_DEBUG_KEYWORD nullptr
#include "common/omsgsmod.h"

/* The state stack has 200 entries and never grows. */
#define YYINITDEPTH 200
#define YYMAXDEPTH 200

/* The generator's debug output goes to the $GRAMDB trace. */
#define YYFPRINTF omsgsTrace2

static int zordyylex(ZORDYYSTYPE *pvalue, ZORDYYLTYPE *ploc, oyacc *pyacc);
static void zordyyerror(ZORDYYLTYPE *ploc, oyacc *pyacc, const char *pcMessage);

/* Drops the lookahead, freeing its value. */
#define ZORDY_DROP_LOOKAHEAD()                                                   \
  do {                                                                           \
    if (yychar > ZORDYY_YYEOF) {                                                 \
      yydestruct("Dropping", YYTRANSLATE(yychar), &yylval, &yylloc, pyacc);      \
      yyclearin;                                                                 \
    }                                                                            \
  } while (0)

/* Atom-name table slot. */
#define ZORDY_NAME(slot) gapnameTotalToken[slot]

/* --------------------------------------------------------------- messages */

/* ZORU010I with the span from the start of pfirst to the end of plast. */
static void _zordyItem(const ostreamLocation *pfirst, const ostreamLocation *plast)
{
  omsgsFMTEDO(ZORU010I, pfirst->first_line, pfirst->first_column, plast->last_line,
              plast->last_column);
}

/* The text holds SQL that the native grammar does not take. */
static void _zordyNotNative(oyacc *pyacc)
{
  pyacc->ulParseStatus |= ZORDYACC_NOT_NATIVE;
}

/* The text is unusable. */
static void _zordyUnusable(oyacc *pyacc)
{
  pyacc->iErrorLevel = ZORDYACC_LEVEL_UNUSABLE;
}

/* Moves the lexer's stream back to the start (iFirst 1) or the end of a location. */
static void _zordyRewind(oyacc *pyacc, const ostreamLocation *ploc, int iFirst)
{
  ostream *pstream = pyacc->plex->pstream;
  ostreamPos pos;
  if (iFirst)
    ostreamPosInit(&pos, pstream, ploc->first_line, ploc->first_column);
  else
    ostreamPosInit(&pos, pstream, ploc->last_line, ploc->last_column);
  ostreamSetPos(pstream, &pos);
}

/* ------------------------------------------------------------------ nodes */

/* Operator node over two operands; empty when either is empty. */
static zornode *_zordyBinary(int iCode, zornode *pleft, zornode *pright,
                             const ostreamLocation *ploc)
{
  if (pleft == nullptr || pright == nullptr) {
    zornodeDestroy(pleft);
    zornodeDestroy(pright);
    return nullptr;
  }
  zornode *pnode = zornodeCreate(ZORNODE_OPRT, iCode, pleft, pright, 0, ploc, ploc);
  if (pnode == nullptr) {
    zornodeDestroy(pleft);
    zornodeDestroy(pright);
  }
  return pnode;
}

/* Operator node over one operand, right slot empty; empty when the operand is. */
static zornode *_zordyUnary(int iCode, zornode *poperand, const ostreamLocation *ploc)
{
  if (poperand == nullptr) return nullptr;
  zornode *pnode = zornodeCreate(ZORNODE_OPRT, iCode, poperand, nullptr, 0, ploc, ploc);
  if (pnode == nullptr) zornodeDestroy(poperand);
  return pnode;
}

/* Operator node over one operand with a plain value in its right slot. */
static zornode *_zordyValued(int iCode, zornode *poperand, uintptr_t ulValue,
                             const ostreamLocation *ploc)
{
  if (poperand == nullptr) return nullptr;
  zornode *pnode = zornodeCreate(ZORNODE_OPRT, iCode, poperand, reinterpret_cast<void *>(ulValue),
                                 NODE_RIGHT_NOT, ploc, ploc);
  if (pnode == nullptr) zornodeDestroy(poperand);
  return pnode;
}

/* Column-reference node over a new column holding only the name (taken over). */
static zornode *_zordyColumnNode(ochar *pcharName, const ostreamLocation *ploc)
{
  zorcol *pcol = zorcolCreate(pcharName, 0, nullptr, 0);
  if (pcol == nullptr) {
    ocharDestroy(pcharName);
    return nullptr;
  }
  zornode *pnode = zornodeCreate(ZORNODE_VAR, NODE_CTUNK, pcol, nullptr, 0, ploc, ploc);
  if (pnode == nullptr) zorcolDestroy(pcol);
  return pnode;
}

/* The last CONT_IF node of a CASE chain (IF -> CONT_IF -> IF -> CONT_IF ...). */
static zornode *_zordyLastContIf(zornode *pnodeIf)
{
  zornode *pcont = static_cast<zornode *>(pnodeIf->pRight);
  while (pcont->pRight != nullptr) {
    zornode *pnext = static_cast<zornode *>(pcont->pRight);
    pcont = static_cast<zornode *>(pnext->pRight);
  }
  return pcont;
}

/* A WHEN: IF(condition, CONT_IF(result, none)); empty when either part is. */
static zornode *_zordyWhen(zornode *pcondition, zornode *presult, const ostreamLocation *plocWhen,
                           const ostreamLocation *plocThen)
{
  zornode *pcont = _zordyUnary(NODE_CONT_IF_OP, presult, plocThen);
  return _zordyBinary(NODE_IF_OP, pcondition, pcont, plocWhen);
}

/* Links the next WHEN after the last one of the chain; empty when either is. */
static zornode *_zordyAddWhen(zornode *pchain, zornode *pnodeWhen)
{
  if (pchain == nullptr || pnodeWhen == nullptr) {
    zornodeDestroy(pchain);
    zornodeDestroy(pnodeWhen);
    return nullptr;
  }
  _zordyLastContIf(pchain)->pRight = pnodeWhen;
  return pchain;
}

/* Ends a CASE chain with its ELSE value (or a NULL constant); empty when either is. */
static zornode *_zordyEndCase(zornode *pchain, zornode *pnodeElse)
{
  return _zordyAddWhen(pchain, pnodeElse);
}

/* --------------------------------------------------------- columns, atoms */

/* An empty column chain: items are columns, freed and printed by the column module. */
static ochaine *_zordyColumnChaine(void)
{
  ochaine *pchaine = ochaineCreate(static_cast<int>(sizeof(zorcol)), nullptr, zorcolDestroyChaineItem);
  if (pchaine != nullptr) pchaine->procPrintItem = zorcolChainePrint;
  return pchaine;
}

/* Appends a column to a chain and numbers it with the chain's count when iNumber. */
static void _zordyAppendColumn(ochaine *pchaine, zorcol *pcol, int iNumber)
{
  ochaineAppend(pchaine, pcol);
  if (iNumber) pcol->iNumber = pchaine->iItemCount;
}

/* Column list step: appends pcol; the list becomes empty when either is. */
static ochaine *_zordyColumnList(ochaine *pchaine, zorcol *pcol, int iNumber)
{
  if (pchaine == nullptr || pcol == nullptr) {
    ochaineDestroy(pchaine);
    zorcolDestroy(pcol);
    return nullptr;
  }
  _zordyAppendColumn(pchaine, pcol, iNumber);
  return pchaine;
}

/* An atom owning its value, or NULL (the value then freed by pdestroy). */
static zoratom *_zordyAtom(int iSlot, int iKind, void *pValue, void (*pdestroy)(void *),
                           const ostreamLocation *pfirst, const ostreamLocation *plast)
{
  if (pValue == nullptr) return nullptr;
  zoratom *patom = zoratomCreate(ZORDY_NAME(iSlot), iKind, 0, reinterpret_cast<uintptr_t>(pValue),
                                 pfirst, plast);
  if (patom == nullptr) pdestroy(pValue);
  return patom;
}

static void _zordyDestroyChaine(void *p) { ochaineDestroy(static_cast<ochaine *>(p)); }
static void _zordyDestroyNode(void *p) { zornodeDestroy(static_cast<zornode *>(p)); }
static void _zordyDestroyChar(void *p) { ocharDestroy(static_cast<ochar *>(p)); }

/* OCHAR atom of a table name or qualifier, made NUL-terminated. */
static zoratom *_zordyNameAtom(int iSlot, ochar *pcharName, const ostreamLocation *ploc)
{
  if (pcharName == nullptr) return nullptr;
  if (ocharMakeC(pcharName) != 0) {
    ocharDestroy(pcharName);
    return nullptr;
  }
  return _zordyAtom(iSlot, ZORATOM_OCHAR, pcharName, _zordyDestroyChar, ploc, ploc);
}

/* SELECT or ORDER atom over an empty column chain marked by its pData word. */
static zoratom *_zordyMarkedChaineAtom(int iSlot, uintptr_t ulMark, const ostreamLocation *pfirst,
                                       const ostreamLocation *plast)
{
  ochaine *pchaine = _zordyColumnChaine();
  if (pchaine == nullptr) return nullptr;
  pchaine->pData = ulMark;
  return _zordyAtom(iSlot, ZORATOM_OCHAINE, pchaine, _zordyDestroyChaine, pfirst, plast);
}

/* A reference list of atoms; the atoms are not owned by its nodes. */
static olist *_zordyAtomList(void)
{
  return olistCreateRef(nullptr, nullptr);
}

/* Appends an atom (none: nothing) to a reference list. */
static void _zordyAppendRef(olist *plist, void *pData)
{
  if (plist != nullptr && pData != nullptr) olistAppendRef(plist, pData, 0);
}

/* Frees a reference list and, one by one, what its nodes refer to. */
static void _zordyDestroyRefList(olist *plist, void (*pdestroy)(void *))
{
  if (plist == nullptr) return;
  for (void *pitem = plist->pitemTop; pitem != nullptr;
       pitem = static_cast<olistRef *>(pitem)->pitemNext)
    pdestroy(static_cast<olistRef *>(pitem)->pData);
  olistDestroy(plist);
}

static void _zordyDestroyAtomList(olist *plist) { _zordyDestroyRefList(plist, zoratomDestroy); }
static void _zordyDestroyNodeList(olist *plist) { _zordyDestroyRefList(plist, _zordyDestroyNode); }

/* Checks a DECIMAL precision and scale (scale < 0: none); reports the one out of range. */
static int _zordyCheckDecimal(oyacc *pyacc, int32_t iPrecision, const ostreamLocation *plocPrecision,
                              int32_t iScale, const ostreamLocation *plocScale)
{
  if (!oyaccCheckIntegerRange(iPrecision, 1, 31)) {
    _zordyItem(plocPrecision, plocPrecision);
    omsgsFMTEDO(ZORU035E, " (1-31)");
    _zordyUnusable(pyacc);
    return 0;
  }
  if (plocScale != nullptr && !oyaccCheckIntegerRange(iScale, 0, iPrecision)) {
    char acRange[32];
    std::snprintf(acRange, sizeof acRange, " (1-%i)", static_cast<int>(iPrecision));
    _zordyItem(plocScale, plocScale);
    omsgsFMTEDO(ZORU035E, acRange);
    _zordyUnusable(pyacc);
    return 0;
  }
  return 1;
}

/* A refused or malformed construct: ZORU010I, ZORU016E with its word, bit 4. */
static void _zordyInvalid(oyacc *pyacc, const char *pcWhat, const ostreamLocation *pfirst,
                          const ostreamLocation *plast)
{
  _zordyItem(pfirst, plast);
  omsgsFMTEDO(ZORU016E, pcWhat);
  _zordyNotNative(pyacc);
}
}

%initial-action {
  tokenInitKeyword();
}

/* @ZORTOKENS@ */

%type <i> INTEGER_LX
%type <ll> BIGINT_LX
%type <d> FLOAT_LX
%type <pcDecimal> DECIMAL_LX
%type <pchar> LITTERAL_LX IDENTIFIER_LX DELIMITED_LX ERROR_LX

%type <patom> db2_select_clause db2_where_clause db2_where_clause_opt db2_orderby db2_orderby_opt
%type <patom> ddl_view_columns_opt
%type <plistAtoms> db2_from_clause
%type <pchaineCols> db2_column_specs db2_orderby_columns ddl_view_colnames
%type <pcol> db2_column_spec db2_orderby_column
%type <pchar> db2_identifier ddl_view_colname
%type <pnode> db2_search_condition db2_predicate db2_expression db2_scalaire db2_constant
%type <pnode> db2_colname db2_labeled_duration db2_special_registers db2_case_expression
%type <pnode> db2_searched_whens db2_searched_when db2_simple_when db2_simple_when_details
%type <pnode> db2_simple_when_detail
%type <plistNodes> db2_in_list
%type <i> db2_time_label db2_order_direction db2_date_format db2_decimal_kw
%type <ptask> ddl_create_view ddl_statement ddl_sysin
%type <pchaineTasks> ddl_statements

%destructor { ocharDestroy($$); } <pchar>
%destructor { std::free($$); } <pcDecimal>
%destructor { zornodeDestroy($$); } <pnode>
%destructor { zorcolDestroy($$); } <pcol>
%destructor { ochaineDestroy($$); } <pchaineCols> <pchaineTasks>
%destructor { _zordyDestroyAtomList($$); } <plistAtoms>
%destructor { _zordyDestroyNodeList($$); } <plistNodes>
%destructor { zoratomDestroy($$); } <patom>
%destructor { zortaskDestroy($$); } <ptask>

%left OR_KW
%left AND_KW
%precedence NOT_KW
%left PLUS_LX MINUS_LX
%left MULT_LX DIV_LX CONCAT_LX
%precedence UMINUS_LX

%start root

%%

root:
    db2_select_clause
      {
        pyacc->pvalResult = $1;
        pyacc->pnameResult = ZORDY_NAME(TOKEN_SELECT);
      }
  | db2_select_clause db2_from_clause db2_where_clause_opt db2_orderby_opt
      {
        _zordyAppendRef($2, $1);
        _zordyAppendRef($2, $3);
        _zordyAppendRef($2, $4);
        pyacc->plistResult = $2;
        pyacc->pnameResult = ZORDY_NAME(TOKEN_SELECT);
      }
  | db2_where_clause
      {
        pyacc->pvalResult = $1;
        pyacc->pnameResult = ZORDY_NAME(TOKEN_WHERE);
      }
  | db2_orderby
      {
        pyacc->pvalResult = $1;
        pyacc->pnameResult = ZORDY_NAME(TOKEN_ORDER);
      }
  | db2_search_condition
      {
        /* A bare condition ends the parse where it ends. */
        _zordyRewind(pyacc, &@1, 0);
        pyacc->pnodeCondition = $1;
        YYACCEPT;
      }
  | ddl_sysin
      { pyacc->ptaskResult = $1; }
  ;

/* ------------------------------------------------------------ SELECT list */

db2_select_clause:
    SELECT_KW MULT_LX
      { $$ = _zordyMarkedChaineAtom(TOKEN_SELECT, ZORDYACC_SELECT_STAR, &@1, &@2); }
  | SELECT_KW ALL_KW MULT_LX
      { $$ = _zordyMarkedChaineAtom(TOKEN_SELECT, ZORDYACC_SELECT_STAR, &@1, &@3); }
  | SELECT_KW db2_column_specs
      {
        $$ = _zordyAtom(TOKEN_SELECT, ZORATOM_OCHAINE, $2, _zordyDestroyChaine, &@1, &@2);
        if ($$ == nullptr) _zordyNotNative(pyacc);
      }
  | SELECT_KW ALL_KW db2_column_specs
      {
        $$ = _zordyAtom(TOKEN_SELECT, ZORATOM_OCHAINE, $3, _zordyDestroyChaine, &@1, &@3);
        if ($$ == nullptr) _zordyNotNative(pyacc);
      }
  | SELECT_KW error FROM_KW
      {
        /* Not a select list: the FROM clause is still read. */
        _zordyInvalid(pyacc, "SELECT", &@1, &@2);
        _zordyRewind(pyacc, &@3, 1);
        ZORDY_DROP_LOOKAHEAD();
        $$ = nullptr;
      }
  ;

db2_column_specs:
    db2_column_spec
      { $$ = _zordyColumnList($1 != nullptr ? _zordyColumnChaine() : nullptr, $1, 1); }
  | db2_column_specs COMMA_LX db2_column_spec
      { $$ = _zordyColumnList($1, $3, 1); }
  | db2_column_specs COMMA_LX error
      {
        _zordyItem(&@2, &@2);
        omsgsFMTEDO(ZORU014E, "Comma", "column");
        _zordyUnusable(pyacc);
        ochaineDestroy($1);
        $$ = nullptr;
        YYABORT;
      }
  ;

db2_column_spec:
    db2_expression
      { $$ = $1 != nullptr ? zorcolCreate(nullptr, 0, $1, 0) : nullptr; }
  | db2_expression AS_KW db2_identifier
      {
        $$ = $1 != nullptr ? zorcolCreate($3, 0, $1, 0) : nullptr;
        if ($$ == nullptr) ocharDestroy($3);
      }
  | db2_expression db2_identifier
      {
        $$ = $1 != nullptr ? zorcolCreate($2, 0, $1, 0) : nullptr;
        if ($$ == nullptr) ocharDestroy($2);
      }
  | db2_expression error FROM_KW
      {
        _zordyInvalid(pyacc, "SELECT", &@1, &@2);
        zornodeDestroy($1);
        _zordyRewind(pyacc, &@3, 1);
        ZORDY_DROP_LOOKAHEAD();
        $$ = nullptr;
      }
  ;

db2_from_clause:
    FROM_KW db2_identifier
      {
        $$ = _zordyAtomList();
        _zordyAppendRef($$, _zordyNameAtom(TOKEN_TBNAME, $2, &@2));
      }
  | FROM_KW db2_identifier DOT_LX db2_identifier
      {
        $$ = _zordyAtomList();
        _zordyAppendRef($$, _zordyNameAtom(TOKEN_TBQUALIFIER, $2, &@2));
        _zordyAppendRef($$, _zordyNameAtom(TOKEN_TBNAME, $4, &@4));
      }
  ;

db2_identifier:
    IDENTIFIER_LX { $$ = $1; }
  | DELIMITED_LX  { $$ = $1; }
  ;

/* ------------------------------------------------------------------ WHERE */

db2_where_clause_opt:
    %empty           { $$ = nullptr; }
  | db2_where_clause { $$ = $1; }
  ;

db2_where_clause:
    WHERE_KW db2_search_condition
      { $$ = _zordyAtom(TOKEN_WHERE, ZORATOM_ZORNODE, $2, _zordyDestroyNode, &@1, &@2); }
  ;

db2_search_condition:
    PAROPEN_LX db2_search_condition PARCLOSE_LX
      { $$ = $2; }
  | NOT_KW db2_search_condition
      { $$ = _zordyUnary(NODE_NOT_OP, $2, &@1); }
  | db2_search_condition AND_KW db2_search_condition
      { $$ = _zordyBinary(NODE_AND_OP, $1, $3, &@2); }
  | db2_search_condition OR_KW db2_search_condition
      { $$ = _zordyBinary(NODE_OR_OP, $1, $3, &@2); }
  | db2_predicate
      { $$ = $1; }
  | PAROPEN_LX db2_search_condition error
      {
        _zordyItem(&@3, &@3);
        omsgsFMTEDO(ZORU026E);
        _zordyUnusable(pyacc);
        zornodeDestroy($2);
        $$ = nullptr;
      }
  ;

db2_predicate:
    db2_expression EQU_LX db2_expression { $$ = _zordyBinary(NODE_EQU_OP, $1, $3, &@2); }
  | db2_expression SUP_LX db2_expression { $$ = _zordyBinary(NODE_SUP_OP, $1, $3, &@2); }
  | db2_expression SEQ_LX db2_expression { $$ = _zordyBinary(NODE_SEG_OP, $1, $3, &@2); }
  | db2_expression INF_LX db2_expression { $$ = _zordyBinary(NODE_INF_OP, $1, $3, &@2); }
  | db2_expression IEQ_LX db2_expression { $$ = _zordyBinary(NODE_IEG_OP, $1, $3, &@2); }
  | db2_expression DIF_LX db2_expression { $$ = _zordyBinary(NODE_DIFF_OP, $1, $3, &@2); }
  | db2_expression BETWEEN_KW db2_expression AND_KW db2_expression
      {
        /* e >= a AND copy of e <= b, every node spanning BETWEEN to AND */
        zornode *pcopy = $1 != nullptr ? zornodeClone($1) : nullptr;
        zornode *plow = _zordyBinary(NODE_SEG_OP, $1, $3, nullptr);
        zornode *phigh = _zordyBinary(NODE_IEG_OP, pcopy, $5, nullptr);
        $$ = _zordyBinary(NODE_AND_OP, plow, phigh, nullptr);
        for (zornode *pnode : {$$, plow, phigh}) {
          if ($$ == nullptr) break;
          pnode->sStartLine = static_cast<int16_t>(@2.first_line);
          pnode->sStartColumn = static_cast<int16_t>(@2.first_column);
          pnode->sEndLine = static_cast<int16_t>(@4.last_line);
          pnode->sEndColumn = static_cast<int16_t>(@4.last_column);
        }
      }
  | db2_expression NOT_KW BETWEEN_KW db2_expression AND_KW db2_expression
      {
        zornode *pcopy = $1 != nullptr ? zornodeClone($1) : nullptr;
        zornode *plow = _zordyBinary(NODE_SEG_OP, $1, $4, nullptr);
        zornode *phigh = _zordyBinary(NODE_IEG_OP, pcopy, $6, nullptr);
        zornode *pand = _zordyBinary(NODE_AND_OP, plow, phigh, nullptr);
        for (zornode *pnode : {pand, plow, phigh}) {
          if (pand == nullptr) break;
          pnode->sStartLine = static_cast<int16_t>(@3.first_line);
          pnode->sStartColumn = static_cast<int16_t>(@3.first_column);
          pnode->sEndLine = static_cast<int16_t>(@5.last_line);
          pnode->sEndColumn = static_cast<int16_t>(@5.last_column);
        }
        $$ = _zordyUnary(NODE_NOT_OP, pand, &@2);
      }
  | db2_expression IN_KW PAROPEN_LX db2_in_list PARCLOSE_LX
      {
        zornode *plist = zornodeCreateFromListRef($4, 2);
        olistDestroy($4);
        if ($1 == nullptr) zornodeDestroy(plist);
        $$ = $1 == nullptr ? nullptr : zornodeCreate(ZORNODE_OPRT, NODE_IN_OP, $1, plist, 0, &@2, &@2);
        if ($1 != nullptr && $$ == nullptr) {
          zornodeDestroy($1);
          zornodeDestroy(plist);
        }
      }
  | db2_expression NOT_KW IN_KW PAROPEN_LX db2_in_list PARCLOSE_LX
      {
        zornode *plist = zornodeCreateFromListRef($5, 2);
        olistDestroy($5);
        if ($1 == nullptr) zornodeDestroy(plist);
        zornode *pin = $1 == nullptr ? nullptr
                                     : zornodeCreate(ZORNODE_OPRT, NODE_IN_OP, $1, plist, 0, &@3, &@3);
        if ($1 != nullptr && pin == nullptr) {
          zornodeDestroy($1);
          zornodeDestroy(plist);
        }
        $$ = _zordyUnary(NODE_NOT_OP, pin, &@2);
      }
  | db2_expression LIKE_KW db2_constant
      { $$ = _zordyBinary(NODE_LIKE_OP, $1, $3, &@2); }
  | db2_expression LIKE_KW db2_constant ESCAPE_KW db2_constant
      { $$ = _zordyBinary(NODE_LIKE_OP, $1, _zordyBinary(NODE_LIKE_ESC_OP, $3, $5, &@4), &@2); }
  | db2_expression NOT_KW LIKE_KW db2_constant
      { $$ = _zordyUnary(NODE_NOT_OP, _zordyBinary(NODE_LIKE_OP, $1, $4, &@3), &@2); }
  | db2_expression NOT_KW LIKE_KW db2_constant ESCAPE_KW db2_constant
      {
        zornode *pescape = _zordyBinary(NODE_LIKE_ESC_OP, $4, $6, &@5);
        $$ = _zordyUnary(NODE_NOT_OP, _zordyBinary(NODE_LIKE_OP, $1, pescape, &@3), &@2);
      }
  | db2_expression IS_KW NULL_KW
      { $$ = _zordyUnary(NODE_IS_OP, $1, &@2); }
  | db2_expression IS_KW NOT_KW NULL_KW
      { $$ = _zordyUnary(NODE_NOT_OP, _zordyUnary(NODE_IS_OP, $1, &@2), &@3); }
  | db2_expression IN_KW error
      {
        _zordyItem(&@3, &@3);
        omsgsFMTEDO(ZORU026E);
        _zordyNotNative(pyacc);
        zornodeDestroy($1);
        $$ = nullptr;
      }
  | db2_expression NOT_KW IN_KW error
      {
        _zordyItem(&@4, &@4);
        omsgsFMTEDO(ZORU026E);
        _zordyNotNative(pyacc);
        zornodeDestroy($1);
        $$ = nullptr;
      }
  | db2_expression LIKE_KW error
      {
        _zordyItem(&@3, &@3);
        omsgsFMTEDO(ZORU033E);
        _zordyNotNative(pyacc);
        zornodeDestroy($1);
        $$ = nullptr;
      }
  | db2_expression NOT_KW LIKE_KW error
      {
        _zordyItem(&@3, &@3);
        omsgsFMTEDO(ZORU033E);
        _zordyNotNative(pyacc);
        zornodeDestroy($1);
        $$ = nullptr;
      }
  | db2_expression LIKE_KW db2_constant ESCAPE_KW error
      {
        _zordyItem(&@5, &@5);
        omsgsFMTEDO(ZORU033E);
        _zordyNotNative(pyacc);
        zornodeDestroy($1);
        zornodeDestroy($3);
        $$ = nullptr;
      }
  | db2_expression NOT_KW LIKE_KW db2_constant ESCAPE_KW error
      {
        _zordyItem(&@6, &@6);
        omsgsFMTEDO(ZORU033E);
        _zordyNotNative(pyacc);
        zornodeDestroy($1);
        zornodeDestroy($4);
        $$ = nullptr;
      }
  | db2_expression IS_KW error
      {
        _zordyItem(&@2, &@3);
        omsgsFMTEDO(ZORU014E, "IS", "NULL, NOT NULL");
        _zordyNotNative(pyacc);
        zornodeDestroy($1);
        $$ = nullptr;
      }
  ;

db2_in_list:
    db2_constant
      {
        $$ = olistCreateRef(nullptr, nullptr);
        if ($$ == nullptr) zornodeDestroy($1);
        else _zordyAppendRef($$, $1);
      }
  | db2_in_list COMMA_LX db2_constant
      {
        $$ = $1;
        if ($$ == nullptr) zornodeDestroy($3);
        else _zordyAppendRef($$, $3);
      }
  | error
      {
        _zordyItem(&@1, &@1);
        omsgsFMTEDO(ZORU033E);
        _zordyNotNative(pyacc);
        ZORDY_DROP_LOOKAHEAD();
        $$ = nullptr;
      }
  | db2_in_list COMMA_LX error
      {
        _zordyItem(&@3, &@3);
        omsgsFMTEDO(ZORU033E);
        _zordyNotNative(pyacc);
        _zordyDestroyNodeList($1);
        $$ = nullptr;
      }
  ;

/* ------------------------------------------------------------ expressions */

db2_expression:
    db2_scalaire
      { $$ = $1; }
  | PAROPEN_LX db2_expression PARCLOSE_LX
      { $$ = $2; }
  | db2_expression PLUS_LX db2_expression
      { $$ = _zordyBinary(NODE_PLS_OP, $1, $3, &@2); }
  | db2_expression PLUS_LX db2_labeled_duration
      { $$ = _zordyBinary(NODE_DUREE_OP, $1, $3, &@2); }
  | db2_expression MINUS_LX db2_labeled_duration
      {
        if ($3 != nullptr) zornodeSetRightValue($3, zornodeRightValue($3) + 0x40000);
        $$ = _zordyBinary(NODE_DUREE_OP, $1, $3, &@2);
      }
  | db2_labeled_duration PLUS_LX db2_expression
      { $$ = _zordyBinary(NODE_DUREE_OP, $3, $1, &@2); }
  | db2_expression MINUS_LX db2_expression
      { $$ = _zordyBinary(NODE_MNS_OP, $1, $3, &@2); }
  | db2_expression MULT_LX db2_expression
      { $$ = _zordyBinary(NODE_MLT_OP, $1, $3, &@2); }
  | db2_expression DIV_LX db2_expression
      { $$ = _zordyBinary(NODE_DIV_OP, $1, $3, &@2); }
  | db2_expression CONCAT_LX db2_expression
      { $$ = _zordyBinary(NODE_CONCAT_OP, $1, $3, &@2); }
  | CONCAT_LX PAROPEN_LX db2_expression COMMA_LX db2_expression PARCLOSE_LX
      { $$ = _zordyBinary(NODE_CONCAT_OP, $3, $5, &@1); }
  | MINUS_LX db2_expression %prec UMINUS_LX
      { $$ = _zordyUnary(NODE_MNSU_OP, $2, &@1); }
  | PLUS_LX db2_expression %prec UMINUS_LX
      { $$ = $2; }
  | db2_colname
      { $$ = $1; }
  | db2_constant
      { $$ = $1; }
  | db2_case_expression
      { $$ = $1; }
  | db2_special_registers
      { $$ = $1; }
  | PAROPEN_LX db2_expression error
      {
        _zordyItem(&@1, &@2);
        omsgsFMTEDO(ZORU026E);
        _zordyNotNative(pyacc);
        zornodeDestroy($2);
        $$ = nullptr;
      }
  | PAROPEN_LX error PARCLOSE_LX
      {
        _zordyInvalid(pyacc, "expression", &@1, &@2);
        $$ = nullptr;
      }
  ;

db2_special_registers:
    CURRENT_KW DATE_KW      { $$ = zornodeCreateCurrent(NODE_CTDTE); }
  | CURRENT_KW TIME_KW      { $$ = zornodeCreateCurrent(NODE_CTTME); }
  | CURRENT_KW TIMESTAMP_KW { $$ = zornodeCreateCurrent(NODE_CTTST); }
  | CURRENT_KW error
      {
        _zordyItem(&@2, &@2);
        omsgsFMTEDO(ZORU014E, "CURRENT", "DATE, TIME, TIMESTAMP");
        _zordyNotNative(pyacc);
        $$ = nullptr;
      }
  ;

/* x unit: CONT_DUREE(x, unit value), spanning the unit keyword. */
db2_labeled_duration:
    db2_colname db2_time_label
      { $$ = _zordyValued(NODE_CONT_DUREE_OP, $1, static_cast<uintptr_t>($2), &@2); }
  | PAROPEN_LX db2_expression PARCLOSE_LX db2_time_label
      { $$ = _zordyValued(NODE_CONT_DUREE_OP, $2, static_cast<uintptr_t>($4), &@4); }
  | db2_constant db2_time_label
      { $$ = _zordyValued(NODE_CONT_DUREE_OP, $1, static_cast<uintptr_t>($2), &@2); }
  | db2_scalaire db2_time_label
      { $$ = _zordyValued(NODE_CONT_DUREE_OP, $1, static_cast<uintptr_t>($2), &@2); }
  ;

db2_time_label:
    YEARS_KW        { $$ = 0x1c; }
  | YEAR_KW         { $$ = 0x1c; }
  | MONTHS_KW       { $$ = 0x18; }
  | MONTH_KW        { $$ = 0x18; }
  | DAYS_KW         { $$ = 0x14; }
  | DAY_KW          { $$ = 0x14; }
  | HOURS_KW        { $$ = 0x10; }
  | HOUR_KW         { $$ = 0x10; }
  | MINUTES_KW      { $$ = 0xc; }
  | MINUTE_KW       { $$ = 0xc; }
  | SECONDS_KW      { $$ = 8; }
  | SECOND_KW       { $$ = 8; }
  | MICROSECONDS_KW { $$ = 4; }
  | MICROSECOND_KW  { $$ = 4; }
  ;

db2_constant:
    INTEGER_LX
      { $$ = zornodeCreateInteger($1, &@1, &@1); }
  | BIGINT_LX
      {
        uint64_t ullValue = static_cast<uint64_t>($1);
        $$ = zornodeCreateBigint(static_cast<uint32_t>(ullValue), static_cast<uint32_t>(ullValue >> 32),
                                 &@1, &@1);
      }
  | FLOAT_LX
      {
        uint64_t ullBits;
        std::memcpy(&ullBits, &$1, sizeof ullBits);
        $$ = zornodeCreateFloat(static_cast<uint32_t>(ullBits), static_cast<uint32_t>(ullBits >> 32),
                                &@1, &@1);
      }
  | DECIMAL_LX
      {
        $$ = zornodeCreateDecimal($1, &@1, &@1);
        if ($$ == nullptr) std::free($1);
      }
  | LITTERAL_LX
      {
        $$ = zornodeCreateLitteral($1, &@1, &@1);
        ocharDestroy($1);
      }
  ;

db2_colname:
    db2_identifier
      { $$ = _zordyColumnNode($1, &@1); }
  ;

/* ------------------------------------------------------- scalar functions */

db2_decimal_kw:
    DECIMAL_KW { $$ = 0; }
  | DEC_KW     { $$ = 0; }
  ;

db2_date_format:
    ISO_KW { $$ = 0xC9E2D6; }
  | EUR_KW { $$ = 0xC5E4D9; }
  | JIS_KW { $$ = 0xD1C9E2; }
  | USA_KW { $$ = 0xE4E2C1; }
  ;

db2_scalaire:
    INTEGER_KW PAROPEN_LX db2_expression PARCLOSE_LX   { $$ = _zordyUnary(NODE_INT_OP, $3, &@1); }
  | INT_KW PAROPEN_LX db2_expression PARCLOSE_LX       { $$ = _zordyUnary(NODE_INT_OP, $3, &@1); }
  | FLOAT_KW PAROPEN_LX db2_expression PARCLOSE_LX     { $$ = _zordyValued(NODE_FLT_OP, $3, 0x40000, &@1); }
  | DOUBLE_KW PAROPEN_LX db2_expression PARCLOSE_LX    { $$ = _zordyValued(NODE_FLT_OP, $3, 0x80000, &@1); }
  | DOUBLE_PRECISION_KW PAROPEN_LX db2_expression PARCLOSE_LX
      { $$ = _zordyValued(NODE_FLT_OP, $3, 0x80000, &@1); }
  | db2_decimal_kw PAROPEN_LX db2_expression PARCLOSE_LX
      { $$ = _zordyValued(NODE_DEC_OP, $3, 0xFF00, &@1); }
  | db2_decimal_kw PAROPEN_LX db2_expression COMMA_LX INTEGER_LX PARCLOSE_LX
      {
        if (_zordyCheckDecimal(pyacc, $5, &@5, 0, nullptr)) {
          $$ = _zordyValued(NODE_DEC_OP, $3, static_cast<uintptr_t>($5) << 8, &@1);
        } else {
          zornodeDestroy($3);
          $$ = nullptr;
        }
      }
  | db2_decimal_kw PAROPEN_LX db2_expression COMMA_LX INTEGER_LX COMMA_LX INTEGER_LX PARCLOSE_LX
      {
        if (_zordyCheckDecimal(pyacc, $5, &@5, $7, &@7)) {
          $$ = _zordyValued(NODE_DEC_OP, $3, (static_cast<uintptr_t>($5) << 8) | static_cast<uintptr_t>($7), &@1);
        } else {
          zornodeDestroy($3);
          $$ = nullptr;
        }
      }
  | DATE_KW PAROPEN_LX db2_expression PARCLOSE_LX      { $$ = _zordyUnary(NODE_DTE_OP, $3, &@1); }
  | TIME_KW PAROPEN_LX db2_expression PARCLOSE_LX      { $$ = _zordyUnary(NODE_TME_OP, $3, &@1); }
  | TIMESTAMP_KW PAROPEN_LX db2_expression PARCLOSE_LX { $$ = _zordyUnary(NODE_TST_OP, $3, &@1); }
  | TIMESTAMP_KW PAROPEN_LX db2_expression COMMA_LX db2_expression PARCLOSE_LX
      { $$ = _zordyBinary(NODE_TST_OP, $3, $5, &@1); }
  | YEAR_KW PAROPEN_LX db2_expression PARCLOSE_LX        { $$ = _zordyUnary(NODE_YEA_OP, $3, &@1); }
  | MONTH_KW PAROPEN_LX db2_expression PARCLOSE_LX       { $$ = _zordyUnary(NODE_MON_OP, $3, &@1); }
  | DAY_KW PAROPEN_LX db2_expression PARCLOSE_LX         { $$ = _zordyUnary(NODE_DAY_OP, $3, &@1); }
  | DAYOFMONTH_KW PAROPEN_LX db2_expression PARCLOSE_LX  { $$ = _zordyUnary(NODE_DAYOFMONTH_OP, $3, &@1); }
  | HOUR_KW PAROPEN_LX db2_expression PARCLOSE_LX        { $$ = _zordyUnary(NODE_HOU_OP, $3, &@1); }
  | MINUTE_KW PAROPEN_LX db2_expression PARCLOSE_LX      { $$ = _zordyUnary(NODE_MIN_OP, $3, &@1); }
  | SECOND_KW PAROPEN_LX db2_expression PARCLOSE_LX      { $$ = _zordyUnary(NODE_SEC_OP, $3, &@1); }
  | MICROSECOND_KW PAROPEN_LX db2_expression PARCLOSE_LX { $$ = _zordyUnary(NODE_MIC_OP, $3, &@1); }
  | DAYS_KW PAROPEN_LX db2_expression PARCLOSE_LX        { $$ = _zordyUnary(NODE_DAYS_OP, $3, &@1); }
  | LENGTH_KW PAROPEN_LX db2_expression PARCLOSE_LX      { $$ = _zordyUnary(NODE_LEN_OP, $3, &@1); }
  | NULLIF_KW PAROPEN_LX db2_expression COMMA_LX db2_expression PARCLOSE_LX
      { $$ = _zordyBinary(NODE_NUL_OP, $3, $5, &@1); }
  | VALUE_KW PAROPEN_LX db2_expression COMMA_LX db2_expression PARCLOSE_LX
      { $$ = _zordyBinary(NODE_VAL_OP, $3, _zordyUnary(NODE_CONT_VAL_OP, $5, &@1), &@1); }
  | COALESCE_KW PAROPEN_LX db2_expression COMMA_LX db2_expression PARCLOSE_LX
      { $$ = _zordyBinary(NODE_VAL_OP, $3, _zordyUnary(NODE_CONT_VAL_OP, $5, &@1), &@1); }
  | IFNULL_KW PAROPEN_LX db2_expression COMMA_LX db2_expression PARCLOSE_LX
      { $$ = _zordyBinary(NODE_VAL_OP, $3, _zordyUnary(NODE_CONT_VAL_OP, $5, &@1), &@1); }
  | SUBSTR_KW PAROPEN_LX db2_expression COMMA_LX db2_expression PARCLOSE_LX
      { $$ = _zordyBinary(NODE_SUBSTR_OP, $3, _zordyUnary(NODE_CONT_VAL_OP, $5, &@1), &@1); }
  | SUBSTR_KW PAROPEN_LX db2_expression COMMA_LX db2_expression COMMA_LX db2_expression PARCLOSE_LX
      { $$ = _zordyBinary(NODE_SUBSTR_OP, $3, _zordyBinary(NODE_CONT_VAL_OP, $5, $7, &@1), &@1); }
  | CHAR_KW PAROPEN_LX db2_expression PARCLOSE_LX
      { $$ = _zordyUnary(NODE_CHR_OP, $3, &@1); }
  | CHAR_KW PAROPEN_LX db2_expression COMMA_LX db2_constant PARCLOSE_LX
      { $$ = _zordyBinary(NODE_CHR_OP, $3, $5, &@1); }
  | CHAR_KW PAROPEN_LX db2_expression COMMA_LX db2_date_format PARCLOSE_LX
      { $$ = _zordyValued(NODE_CHR_OP, $3, static_cast<uintptr_t>($5), &@1); }
  | DIGITS_KW PAROPEN_LX db2_expression PARCLOSE_LX     { $$ = _zordyUnary(NODE_DIG_OP, $3, &@1); }
  | HEX_KW PAROPEN_LX db2_expression PARCLOSE_LX        { $$ = _zordyUnary(NODE_HEX_OP, $3, &@1); }
  | VARGRAPHIC_KW PAROPEN_LX db2_expression PARCLOSE_LX { $$ = _zordyUnary(NODE_VARG_OP, $3, &@1); }
  | VARGRAPHIC_KW PAROPEN_LX db2_expression COMMA_LX INTEGER_LX PARCLOSE_LX
      { $$ = _zordyBinary(NODE_VARG_OP, $3, zornodeCreateInteger($5, &@5, &@5), &@1); }
  | ABS_KW PAROPEN_LX db2_expression PARCLOSE_LX        { $$ = _zordyUnary(NODE_ABS_OP, $3, &@1); }
  | CEIL_KW PAROPEN_LX db2_expression PARCLOSE_LX       { $$ = _zordyUnary(NODE_CEIL_OP, $3, &@1); }
  | CEILING_KW PAROPEN_LX db2_expression PARCLOSE_LX    { $$ = _zordyUnary(NODE_CEIL_OP, $3, &@1); }
  | DAYOFWEEK_KW PAROPEN_LX db2_expression PARCLOSE_LX  { $$ = _zordyUnary(NODE_DAYOFWEEK_OP, $3, &@1); }
  | DAYOFYEAR_KW PAROPEN_LX db2_expression PARCLOSE_LX  { $$ = _zordyUnary(NODE_DAYOFYEAR_OP, $3, &@1); }
  | FLOOR_KW PAROPEN_LX db2_expression PARCLOSE_LX      { $$ = _zordyUnary(NODE_FLOOR_OP, $3, &@1); }
  | MIDNIGHT_SECONDS_KW PAROPEN_LX db2_expression PARCLOSE_LX
      { $$ = _zordyUnary(NODE_MNSECONDS_OP, $3, &@1); }
  | QUARTER_KW PAROPEN_LX db2_expression PARCLOSE_LX    { $$ = _zordyUnary(NODE_QUARTER_OP, $3, &@1); }
  | REAL_KW PAROPEN_LX db2_expression PARCLOSE_LX       { $$ = _zordyUnary(NODE_REAL_OP, $3, &@1); }
  | SIGN_KW PAROPEN_LX db2_expression PARCLOSE_LX       { $$ = _zordyUnary(NODE_SIGN_OP, $3, &@1); }
  | SMALLINT_KW PAROPEN_LX db2_expression PARCLOSE_LX   { $$ = _zordyUnary(NODE_SMINT_OP, $3, &@1); }
  | MOD_KW PAROPEN_LX db2_expression COMMA_LX db2_expression PARCLOSE_LX
      { $$ = _zordyBinary(NODE_MOD_OP, $3, $5, &@1); }
  | TRUNCATE_KW PAROPEN_LX db2_expression COMMA_LX db2_expression PARCLOSE_LX
      { $$ = _zordyBinary(NODE_TRUNC_OP, $3, $5, &@1); }
  /* Refused: well-formed, but left to DB2. */
  | STRIP_KW PAROPEN_LX db2_expression PARCLOSE_LX
      { _zordyInvalid(pyacc, "STRIP()", &@1, &@4); zornodeDestroy($3); $$ = nullptr; }
  | STRIP_KW PAROPEN_LX db2_expression COMMA_LX db2_identifier PARCLOSE_LX
      { _zordyInvalid(pyacc, "STRIP()", &@1, &@4); zornodeDestroy($3); ocharDestroy($5); $$ = nullptr; }
  | STRIP_KW PAROPEN_LX db2_expression COMMA_LX db2_identifier COMMA_LX LITTERAL_LX PARCLOSE_LX
      {
        _zordyInvalid(pyacc, "STRIP()", &@1, &@4);
        zornodeDestroy($3);
        ocharDestroy($5);
        ocharDestroy($7);
        $$ = nullptr;
      }
  | LTRIM_KW PAROPEN_LX db2_expression PARCLOSE_LX
      { _zordyInvalid(pyacc, "LTRIM()", &@1, &@4); zornodeDestroy($3); $$ = nullptr; }
  | RTRIM_KW PAROPEN_LX db2_expression PARCLOSE_LX
      { _zordyInvalid(pyacc, "RTRIM()", &@1, &@4); zornodeDestroy($3); $$ = nullptr; }
  /* No valid argument list. */
  | LENGTH_KW error   { _zordyInvalid(pyacc, "LENGTH()", &@1, &@2); $$ = nullptr; }
  | NULLIF_KW error   { _zordyInvalid(pyacc, "NULLIF()", &@1, &@2); $$ = nullptr; }
  | IFNULL_KW error   { _zordyInvalid(pyacc, "IFNULL()", &@1, &@2); $$ = nullptr; }
  | COALESCE_KW error { _zordyInvalid(pyacc, "COALESCE()", &@1, &@2); $$ = nullptr; }
  | VALUE_KW error    { _zordyInvalid(pyacc, "VALUE()", &@1, &@2); $$ = nullptr; }
  | SUBSTR_KW error   { _zordyInvalid(pyacc, "SUBSTR()", &@1, &@2); $$ = nullptr; }
  | STRIP_KW error    { _zordyInvalid(pyacc, "STRIP()", &@1, &@2); $$ = nullptr; }
  | LTRIM_KW error    { _zordyInvalid(pyacc, "LTRIM()", &@1, &@2); $$ = nullptr; }
  | RTRIM_KW error    { _zordyInvalid(pyacc, "RTRIM()", &@1, &@2); $$ = nullptr; }
  | SMALLINT_KW PAROPEN_LX error
      {
        _zordyInvalid(pyacc, "SMALLINT", &@1, &@3);
        ZORDY_DROP_LOOKAHEAD();
        $$ = nullptr;
      }
  | SMALLINT_KW error
      {
        _zordyItem(&@2, &@2);
        omsgsFMTEDO(ZORU070E, "OPEN PARENTHESIS");
        _zordyNotNative(pyacc);
        ZORDY_DROP_LOOKAHEAD();
        $$ = nullptr;
      }
  | TRUNCATE_KW error
      {
        _zordyItem(&@2, &@2);
        omsgsFMTEDO(ZORU070E, "OPEN PARENTHESIS");
        _zordyNotNative(pyacc);
        ZORDY_DROP_LOOKAHEAD();
        $$ = nullptr;
      }
  | TRUNCATE_KW PAROPEN_LX db2_expression error
      {
        _zordyItem(&@4, &@4);
        omsgsFMTEDO(ZORU070E, "COMMA");
        _zordyNotNative(pyacc);
        zornodeDestroy($3);
        ZORDY_DROP_LOOKAHEAD();
        $$ = nullptr;
      }
  | TRUNCATE_KW PAROPEN_LX error
      {
        _zordyInvalid(pyacc, "TRUNCATE", &@1, &@3);
        ZORDY_DROP_LOOKAHEAD();
        $$ = nullptr;
      }
  ;

/* ------------------------------------------------------------------- CASE */

db2_case_expression:
    CASE_KW db2_searched_whens END_KW
      { $$ = _zordyEndCase($2, zornodeCreateNull(&@3, &@3)); }
  | CASE_KW db2_searched_whens ELSE_KW NULL_KW END_KW
      { $$ = _zordyEndCase($2, zornodeCreateNull(&@4, &@4)); }
  | CASE_KW db2_searched_whens ELSE_KW db2_expression END_KW
      { $$ = _zordyEndCase($2, $4); }
  | CASE_KW db2_simple_when END_KW
      { $$ = _zordyEndCase($2, zornodeCreateNull(&@3, &@3)); }
  | CASE_KW db2_simple_when ELSE_KW NULL_KW END_KW
      { $$ = _zordyEndCase($2, zornodeCreateNull(&@4, &@4)); }
  | CASE_KW db2_simple_when ELSE_KW db2_expression END_KW
      { $$ = _zordyEndCase($2, $4); }
  | CASE_KW db2_searched_whens error
      {
        _zordyItem(&@3, &@3);
        omsgsFMTEDO(ZORU017E, "ELSE, END");
        _zordyNotNative(pyacc);
        zornodeDestroy($2);
        ZORDY_DROP_LOOKAHEAD();
        $$ = nullptr;
      }
  | CASE_KW db2_simple_when error
      {
        _zordyItem(&@3, &@3);
        omsgsFMTEDO(ZORU017E, "ELSE, END");
        _zordyNotNative(pyacc);
        zornodeDestroy($2);
        ZORDY_DROP_LOOKAHEAD();
        $$ = nullptr;
      }
  | CASE_KW db2_searched_whens ELSE_KW NULL_KW error
      {
        _zordyItem(&@5, &@5);
        omsgsFMTEDO(ZORU017E, "END");
        _zordyNotNative(pyacc);
        zornodeDestroy($2);
        ZORDY_DROP_LOOKAHEAD();
        $$ = nullptr;
      }
  | CASE_KW db2_simple_when ELSE_KW NULL_KW error
      {
        _zordyItem(&@5, &@5);
        omsgsFMTEDO(ZORU017E, "END");
        _zordyNotNative(pyacc);
        zornodeDestroy($2);
        ZORDY_DROP_LOOKAHEAD();
        $$ = nullptr;
      }
  | CASE_KW db2_searched_whens ELSE_KW db2_expression error
      {
        _zordyItem(&@5, &@5);
        omsgsFMTEDO(ZORU017E, "END");
        _zordyNotNative(pyacc);
        zornodeDestroy($2);
        zornodeDestroy($4);
        ZORDY_DROP_LOOKAHEAD();
        $$ = nullptr;
      }
  | CASE_KW db2_simple_when ELSE_KW db2_expression error
      {
        _zordyItem(&@5, &@5);
        omsgsFMTEDO(ZORU017E, "END");
        _zordyNotNative(pyacc);
        zornodeDestroy($2);
        zornodeDestroy($4);
        ZORDY_DROP_LOOKAHEAD();
        $$ = nullptr;
      }
  ;

db2_searched_whens:
    db2_searched_when                    { $$ = $1; }
  | db2_searched_whens db2_searched_when { $$ = _zordyAddWhen($1, $2); }
  ;

db2_searched_when:
    WHEN_KW db2_predicate THEN_KW db2_expression
      { $$ = _zordyWhen($2, $4, &@1, &@3); }
  | WHEN_KW db2_predicate THEN_KW NULL_KW
      { $$ = _zordyWhen($2, zornodeCreateNull(&@4, &@4), &@1, &@3); }
  | WHEN_KW db2_predicate error
      {
        _zordyItem(&@3, &@3);
        omsgsFMTEDO(ZORU017E, "THEN");
        _zordyNotNative(pyacc);
        zornodeDestroy($2);
        ZORDY_DROP_LOOKAHEAD();
        $$ = nullptr;
      }
  | WHEN_KW db2_predicate THEN_KW error
      {
        _zordyItem(&@3, &@3);
        omsgsFMTEDO(ZORU017E, "NULL, expression");
        _zordyNotNative(pyacc);
        zornodeDestroy($2);
        ZORDY_DROP_LOOKAHEAD();
        $$ = nullptr;
      }
  ;

/* CASE x WHEN w1 THEN r1 ...: the values become the comparisons x = w. */
db2_simple_when:
    db2_expression db2_simple_when_details
      {
        if ($1 == nullptr || $2 == nullptr) {
          zornodeDestroy($1);
          zornodeDestroy($2);
          $$ = nullptr;
        } else if (zordyaccUpdateSimpleWhen(pyacc, $2, $1) != 0) {
          zornodeDestroy($2);
          $$ = nullptr;
        } else {
          $$ = $2;
        }
      }
  ;

db2_simple_when_details:
    db2_simple_when_detail                         { $$ = $1; }
  | db2_simple_when_details db2_simple_when_detail { $$ = _zordyAddWhen($1, $2); }
  ;

db2_simple_when_detail:
    WHEN_KW db2_expression THEN_KW db2_expression
      { $$ = _zordyWhen($2, $4, &@1, &@3); }
  | WHEN_KW db2_expression THEN_KW NULL_KW
      { $$ = _zordyWhen($2, zornodeCreateNull(&@4, &@4), &@1, &@3); }
  | WHEN_KW db2_expression error
      {
        _zordyItem(&@1, &@3);
        omsgsFMTEDO(ZORU017E, "THEN");
        _zordyNotNative(pyacc);
        zornodeDestroy($2);
        ZORDY_DROP_LOOKAHEAD();
        $$ = nullptr;
      }
  | WHEN_KW error
      {
        _zordyInvalid(pyacc, "CASE", &@1, &@2);
        ZORDY_DROP_LOOKAHEAD();
        $$ = nullptr;
      }
  ;

/* ------------------------------------------------------------------ ORDER */

db2_orderby_opt:
    %empty      { $$ = nullptr; }
  | db2_orderby { $$ = $1; }
  ;

db2_orderby:
    ORDER_KW CLUSTER_KW
      { $$ = _zordyMarkedChaineAtom(TOKEN_ORDER, ZORDYACC_ORDER_CLUSTER, &@1, &@2); }
  | ORDER_KW CLUSTERED_KW
      { $$ = _zordyMarkedChaineAtom(TOKEN_ORDER, ZORDYACC_ORDER_CLUSTER, &@1, &@2); }
  | ORDER_KW BY_KW db2_orderby_columns
      { $$ = _zordyAtom(TOKEN_ORDER, ZORATOM_OCHAINE, $3, _zordyDestroyChaine, &@1, &@3); }
  | ORDER_KW error
      {
        _zordyItem(&@1, &@2);
        omsgsFMTEDO(ZORU014E, "ORDER", "BY,CLUSTER(ED)");
        _zordyUnusable(pyacc);
        $$ = nullptr;
        YYABORT;
      }
  ;

db2_orderby_columns:
    db2_orderby_column
      {
        $$ = _zordyColumnChaine();
        if ($$ == nullptr) zorcolDestroy($1);
        else if ($1 != nullptr) _zordyAppendColumn($$, $1, 0);
      }
  | db2_orderby_columns COMMA_LX db2_orderby_column
      {
        $$ = $1;
        if ($$ == nullptr) zorcolDestroy($3);
        else if ($3 != nullptr) _zordyAppendColumn($$, $3, 0);
      }
  ;

db2_orderby_column:
    db2_identifier db2_order_direction
      {
        $$ = zorcolCreate($1, 0, nullptr, static_cast<uint16_t>($2));
        if ($$ == nullptr) ocharDestroy($1);
      }
  | INTEGER_LX db2_order_direction
      { $$ = zorcolCreate(nullptr, $1, nullptr, static_cast<uint16_t>($2)); }
  | error
      {
        _zordyItem(&@1, &@1);
        omsgsFMTEDO(ZORU022E);
        _zordyUnusable(pyacc);
        ZORDY_DROP_LOOKAHEAD();
        $$ = nullptr;
      }
  ;

db2_order_direction:
    %empty  { $$ = ZORCOL_ORDER_ASC; }
  | ASC_KW  { $$ = ZORCOL_ORDER_ASC; }
  | A_KW    { $$ = ZORCOL_ORDER_ASC; }
  | DESC_KW { $$ = ZORCOL_ORDER_DESC; }
  | D_KW    { $$ = ZORCOL_ORDER_DESC; }
  ;

/* ------------------------------------------------------------------ views */

ddl_sysin:
    DDL_KW ddl_statements
      {
        $$ = zortaskCreateNamed(ZORDY_NAME(TOKEN_GLOBAL));
        if ($$ == nullptr || zortaskSetSubTaskChaine($$, $2) != 0) {
          ochaineDestroy($2);
          zortaskDestroy($$);
          $$ = nullptr;
        }
      }
  ;

ddl_statements:
    ddl_statement
      {
        $$ = ochaineCreate(0, zortaskChaineClone, zortaskChaineDestroy);
        if ($$ == nullptr) zortaskDestroy($1);
        else if ($1 != nullptr) ochaineAppend($$, $1);
      }
  | ddl_statements ddl_statement
      {
        $$ = $1;
        if ($2 != nullptr) ochaineAppend($$, $2);
      }
  ;

ddl_statement:
    ddl_create_view { $$ = $1; }
  ;

ddl_create_view:
    CREATE_KW VIEW_KW ddl_viewname ddl_view_columns_opt AS_KW db2_select_clause db2_from_clause
    ddl_check_option_opt ddl_semicolon_opt
      {
        if ($6 == nullptr) {
          /* A view whose SELECT clause failed is unusable. */
          zoratomDestroy($4);
          _zordyDestroyAtomList($7);
          YYABORT;
        }
        $$ = zortaskCreateNamed(nullptr);
        if ($$ == nullptr) {
          zoratomDestroy($4);
          zoratomDestroy($6);
          _zordyDestroyAtomList($7);
        } else {
          if ($4 != nullptr && zortaskAddAtom($$, $4) != 0) zoratomDestroy($4);
          if (zortaskAddAtom($$, $6) != 0) zoratomDestroy($6);
          zortaskAddAtomListRef($$, $7);
        }
      }
  ;

ddl_viewname:
    db2_identifier                       { ocharDestroy($1); }
  | db2_identifier DOT_LX db2_identifier { ocharDestroy($1); ocharDestroy($3); }
  ;

ddl_view_columns_opt:
    %empty
      { $$ = nullptr; }
  | PAROPEN_LX ddl_view_colnames PARCLOSE_LX
      { $$ = _zordyAtom(TOKEN_VIEW, ZORATOM_OCHAINE, $2, _zordyDestroyChaine, &@1, &@3); }
  ;

ddl_view_colnames:
    ddl_view_colname
      {
        zorcol *pcol = zorcolCreate($1, 0, nullptr, ZORCOL_VAR);
        if (pcol == nullptr) ocharDestroy($1);
        $$ = _zordyColumnList(pcol != nullptr ? _zordyColumnChaine() : nullptr, pcol, 1);
      }
  | ddl_view_colnames COMMA_LX ddl_view_colname
      {
        zorcol *pcol = zorcolCreate($3, 0, nullptr, ZORCOL_VAR);
        if (pcol == nullptr) ocharDestroy($3);
        $$ = _zordyColumnList($1, pcol, 1);
      }
  ;

ddl_view_colname:
    IDENTIFIER_LX
      { $$ = $1; }
  | IDENTIFIER_LX DOT_LX IDENTIFIER_LX
      { ocharDestroy($1); $$ = $3; }
  | IDENTIFIER_LX DOT_LX IDENTIFIER_LX DOT_LX IDENTIFIER_LX
      { ocharDestroy($1); ocharDestroy($3); $$ = $5; }
  ;

ddl_check_option_opt:
    %empty
  | WITH_KW CHECK_KW OPTION_KW
  | WITH_KW CASCADED_KW CHECK_KW OPTION_KW
  | WITH_KW LOCAL_KW CHECK_KW OPTION_KW
  ;

ddl_semicolon_opt:
    %empty
  | SEMICOLON_LX
  ;

%%

/* The debug switch is on for good: the $GRAMDB keyword alone decides. */
static const int giDebugOn = (zordyydebug = 1);

static int zordyylex(ZORDYYSTYPE *pvalue, ZORDYYLTYPE *ploc, oyacc *pyacc)
{
  return olexGet(pvalue, ploc, pyacc->plex);
}

/* The generator's own message is only traced. */
static void zordyyerror(ZORDYYLTYPE *ploc, oyacc *pyacc, const char *pcMessage)
{
  (void)pyacc;
  omsgsTrace("(%d,%d)-(%d,%d) %s\n", ploc->first_line, ploc->first_column, ploc->last_line,
             ploc->last_column, pcMessage);
}

int zordyaccUpdateSimpleWhen(oyacc *pyacc, zornode *pnodeWhen, zornode *pnodeOperand)
{
  (void)pyacc;
  (void)giDebugOn;
  if (pnodeOperand == nullptr) return ORC_INVALID;
  bool boLinked = false;
  for (zornode *pnodeIf = pnodeWhen;
       pnodeIf != nullptr && pnodeIf->sKind == ZORNODE_OPRT && pnodeIf->sCode == NODE_IF_OP;) {
    zornode *poperand = boLinked ? zornodeClone(pnodeOperand) : pnodeOperand;
    zornode *pequal = poperand == nullptr ? nullptr
                                          : zornodeCreate(ZORNODE_OPRT, NODE_EQU_OP, poperand,
                                                          pnodeIf->pLeft, 0, nullptr, nullptr);
    if (pequal == nullptr) {
      if (poperand != nullptr && (boLinked || poperand != pnodeOperand)) zornodeDestroy(poperand);
      if (!boLinked) zornodeDestroy(pnodeOperand);
      return ORC_NOMEM;
    }
    pnodeIf->pLeft = pequal;
    boLinked = true;
    zornode *pcont = static_cast<zornode *>(pnodeIf->pRight);
    pnodeIf = pcont != nullptr ? static_cast<zornode *>(pcont->pRight) : nullptr;
  }
  if (!boLinked) zornodeDestroy(pnodeOperand);
  return 0;
}
