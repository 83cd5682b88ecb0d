/*
** db2standsql.h
**   DB2's SQL over SQLite, for the stand-in's CLI and export API.  A DB2
**   SELECT is parsed, typed by DB2's rules and rewritten for SQLite
**   (platform/db2standsel.h):
**     - an unqualified table name is taken in the user's schema, as DB2
**       takes it in CURRENT SCHEMA (the authorisation id);
**     - every select-list item gets DB2's result type, length, precision,
**       scale and nullability (SALARY * 1.1 is DECIMAL(11,3), EDLEVEL + 1
**       INTEGER, a constant 'X' CHAR(1), COALESCE(BONUS, 0) DECIMAL(13,2)
**       NOT NULL), and an item that is no bare column is unnamed;
**     - arithmetic, the scalar functions of DB2 (ABS ... YEAR), CASE,
**       concatenation, labelled durations and date differences are computed
**       by functions registered on the connection (db2_*) with DB2's
**       semantics: exact decimal arithmetic, division truncated to the
**       result's scale, overflow and division by zero as DB2's errors,
**       CHAR values blank-padded, LIKE case-sensitive.
**   Values move between those functions in one form per type: integers as
**   SQLite integers, DOUBLE and REAL as SQLite reals, DECIMAL(p,s) as the
**   text of the number with exactly s fraction digits, CHAR(n) as text of n
**   characters, DATE 'yyyy-mm-dd', TIME 'hh.mm.ss', TIMESTAMP
**   'yyyy-mm-dd-hh.mm.ss.nnnnnn' (the forms the store keeps).
**
**   This module holds the values' arithmetic and the db2_* functions; the
**   translator of statements is platform/db2standsel.h.  Used only by
**   platform/.
*/
#ifndef ZAV_PLATFORM_DB2STANDSQL_H
#define ZAV_PLATFORM_DB2STANDSQL_H

#include <sqlite3.h>

#include <string>

/* A failure as DB2 reports it. */
struct db2standSqlError {
  int iSqlcode = 0;          /* 0: no DB2 error (an SQLite failure, see sqlite3_errmsg) */
  std::string strState;
  std::string strText;       /* "SQLnnnnN  ...  SQLSTATE=xxxxx" */
};

/*
** db2standRegisterFunctions
**   Registers the db2_* functions on a connection.  Returns SQLITE_OK or
**   SQLite's code.
*/
int db2standRegisterFunctions(sqlite3 *pdb);

/*
** db2standDb2Error
**   A message of a failed step: true with *perr filled when the text is one
**   of DB2's own ("SQLnnnnN ... SQLSTATE=xxxxx", raised by a db2_* function).
*/
bool db2standDb2Error(const std::string &strMessage, db2standSqlError *perr);

#endif
