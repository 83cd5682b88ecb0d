/*
** zordlex.h
**   Lexer context definitions of the SQL text that the SQL grammar
**   (control/zordyacc.y) parses: SELECT statements of the control file and
**   stored view definitions.  Four contexts, in this order in the set:
**
**     DB2 (13)  start of every text: only the keywords DML, SELECT, WHERE
**               (to DML), DDL (to DDL) and ORDER (to ORD), each of which
**               empties the context stack before switching;
**     ORD (10)  after ORDER: integers, names and A ASC BY CLUSTER CLUSTERED D
**               DESC;
**     DDL (11)  after DDL: CREATE VIEW statements (no operators, no quoted
**               identifiers, no floats);
**     DML (12)  after SELECT, WHERE or DML: expressions with every number
**               form, strings, names, operators and the SQL function words;
**               ORDER switches to ORD.
**
**   No context switches back.  Lexeme ids are the token numbers of
**   control/zortokens.h.  Static read-only data.
*/
#ifndef ZAV_CONTROL_ZORDLEX_H
#define ZAV_CONTROL_ZORDLEX_H

#include "common/olex.h"

/* Context ids. */
#define ZORDLEX_CTX_ORD 10
#define ZORDLEX_CTX_DDL 11
#define ZORDLEX_CTX_DML 12
#define ZORDLEX_CTX_DB2 13

extern const olexContextDef _contextDefDB2_CTX;
extern const olexContextDef _contextDefORD_CTX;
extern const olexContextDef _contextDefDDL_CTX;
extern const olexContextDef _contextDefDML_CTX;

/* The NULL-terminated set: DB2, ORD, DDL, DML; DB2 is in force at the start. */
extern const olexContextDef *const aplexContextDefDb2[];

#endif
