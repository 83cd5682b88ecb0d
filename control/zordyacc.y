/*
** zordyacc.y
**   SQL SELECT and view grammar (being written).
*/
%define api.pure full
%define api.prefix {zordyy}
%define api.token.prefix {ZORDYY_}
%define api.value.type {zortokensValue}
%locations
%parse-param {oyacc *pyacc}
%lex-param {oyacc *pyacc}

%code requires {
#include "control/zordyacc.h"
#include "control/zortokens.h"
#define ZORDYYLTYPE ostreamLocation
#define ZORDYYLTYPE_IS_DECLARED 1
#define ZORDYYLTYPE_IS_TRIVIAL 1
}

%code {
#define YYINITDEPTH 200
#define YYMAXDEPTH 200
static int zordyylex(ZORDYYSTYPE *pvalue, ZORDYYLTYPE *ploc, oyacc *pyacc)
{
  return olexGet(pvalue, ploc, pyacc->plex);
}
static void zordyyerror(ZORDYYLTYPE *, oyacc *, const char *) {}
}

/* @ZORTOKENS@ */

%%
root: SELECT_KW ;
%%
int zordyaccUpdateSimpleWhen(oyacc *, zornode *, zornode *) { return 0; }
