/*
** db2standsel.h
**   The stand-in's translator of DB2 SELECT statements into SQLite's SQL
**   (what it does is in platform/db2standsql.h): a lexer, a parser of the
**   SELECT forms DB2 programs send (select list, FROM over tables, WHERE,
**   ORDER BY, FETCH FIRST), the typing of every expression by DB2's rules
**   and the SQL that computes it through the db2_* functions.
**
**   A statement outside what the translator reads (joins, GROUP BY,
**   subqueries, functions it does not know, ...) is handed to SQLite as
**   written, with only its unqualified table names qualified with the
**   user's schema, and described from SQLite's declared types.  Used only by
**   platform/.
*/
#ifndef ZAV_PLATFORM_DB2STANDSEL_H
#define ZAV_PLATFORM_DB2STANDSEL_H

#include <sqlite3.h>

#include <string>
#include <vector>

#include "platform/db2standcli.h"
#include "platform/db2standsql.h"

/*
** db2standPrepareSelect
**   Prepares a DB2 statement text for a connection of user strUser (upper
**   case) and describes its result columns in DB2 terms.
**   Returns true with *ppst and *pvCols set; false with *perr set when DB2
**   would refuse the statement (an undefined name, a function without a
**   signature for its arguments, incompatible operands ...), or with
**   perr->iSqlcode 0 when SQLite refused it (the caller reports SQLite's
**   message).
*/
bool db2standPrepareSelect(sqlite3 *pdb, const std::string &strDb2, const std::string &strUser, sqlite3_stmt **ppst,
                           std::vector<db2standColType> *pvCols, db2standSqlError *perr);

/*
** db2standQualify
**   The statement text with every unqualified table name of its FROM
**   clauses (and JOINs) qualified with strSchema.
*/
std::string db2standQualify(const std::string &strDb2, const std::string &strSchema);

#endif
