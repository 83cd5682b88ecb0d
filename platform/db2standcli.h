/*
** db2standcli.h
**   SQL-level services of the DB2 stand-in shared by its CLI and its
**   administrative API: statement translation, DB2 description of result
**   columns, value texts, packed decimals, parameter binding, users and the
**   process's current connection.  Used only by platform/.
*/
#ifndef ZAV_PLATFORM_DB2STANDCLI_H
#define ZAV_PLATFORM_DB2STANDCLI_H

#include "platform/db2cli.h"
#include "platform/db2stand.h"

#include <sqlite3.h>

#include <string>
#include <vector>

/* A result column described in DB2 terms. */
struct db2standColType {
  std::string strName;
  SQLSMALLINT sSqlType = SQL_VARCHAR;
  SQLUINTEGER uiSize = 254;    /* length, or precision for DECIMAL */
  SQLSMALLINT sScale = 0;
  int32_t iOctetLength = 254;
  bool boNullable = true;
  bool boUnnamed = false;
};

/* Parses a declared type such as "DECIMAL(7,2)" or "CHAR(10) FOR BIT DATA". */
db2standColType db2standParseType(const std::string &strDecl);

/* Makes a DB2 statement text acceptable to SQLite (quotes DB2 column names
   that are SQLite keywords, such as DEFAULT). */
std::string db2standTranslate(const std::string &strSql);

/* Describes every result column of a prepared statement. */
void db2standDescribe(sqlite3 *pdb, sqlite3_stmt *pst, std::vector<db2standColType> *pvCols);

/* The value of a column of the current row as DB2 shows it in character
   form: CHAR blank-padded to its length, DECIMAL with its scale. */
std::string db2standColumnText(sqlite3_stmt *pst, int iIdx, const db2standColType &ct);

/* The packed BCD form (precision / 2 + 1 bytes, sign nibble C or D) of a
   decimal text. */
std::string db2standPacked(const std::string &strDecimal, const db2standColType &ct);

/* Binds one parameter from a CLI buffer. */
void db2standBindParam(sqlite3_stmt *pst, int iIndex, SQLSMALLINT sValueType, SQLSMALLINT sSqlType,
                       SQLPOINTER pValue, SQLINTEGER iBufferLength, SQLINTEGER *piIndicator);

/* A user the instance knows (sqllib/zavdb2/users: "name password groups",
   groups comma-separated). */
struct db2standUser {
  std::string strName;
  std::string strPassword;
  std::string strGroups;
};
bool db2standFindUser(const std::string &strName, db2standUser *pUser);

/* True when the instance knows the user with that password. */
bool db2standCheckUser(sqlite3 *pdb, const std::string &strUser, const std::string &strPassword);

/* The process's most recent connection: the database and the user. */
void db2standSetCurrent(const db2standDbEntry &entry, const std::string &strUser);
bool db2standGetCurrent(db2standDbEntry *pEntry, std::string *pstrUser);

#endif
