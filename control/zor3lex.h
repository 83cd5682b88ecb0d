/*
** zor3lex.h
**   Lexer context definitions of the control-file language.  Two contexts,
**   in this order in the set aplexContextDefUdb:
**
**     GLO (1)  from the first lexeme: the GLOBAL block's vocabulary; the
**              keyword UNLOAD switches to UDB;
**     UDB (2)  from the first UNLOAD to the end of the text: UNLOAD blocks,
**              SELECT statements and their clauses.  Besides the control
**              file's separators it lists the SQL characters | / = < - * + >
**              as separators, so that the SQL text of a SELECT falls apart
**              into lexemes that the control-file grammar can swallow.
**
**   Both take integers, single-character separators, strings, delimited
**   identifiers, identifiers, keywords and values (a number with a K, M or G
**   unit); no decimals, floats or operators.  Strings are delimited by the
**   apostrophe, identifiers by the double quote.  Lexeme ids are the token
**   numbers of control/zortokens.h.  Static read-only data.
*/
#ifndef ZAV_CONTROL_ZOR3LEX_H
#define ZAV_CONTROL_ZOR3LEX_H

#include "common/olex.h"

/* Context ids. */
#define ZOR3LEX_CTX_GLO 1
#define ZOR3LEX_CTX_UDB 2

/* Capability mask of both contexts. */
#define ZOR3LEX_MASK 0x2F9u

extern const olexContextDef _contextDefGLO_CTX;
extern const olexContextDef _contextDefUDB_CTX;

/* The NULL-terminated set: GLO, UDB; GLO is in force at the start. */
extern const olexContextDef *const aplexContextDefUdb[];

#endif
