/*
** db2admin.h
**   Administration of the DB2 stand-in, the counterpart of DB2's own
**   commands for creating an instance's databases, table spaces and tables:
**   used by the sample-instance builder and by tests, never by db2zav.  Each
**   function keeps the catalogue tables in step with what it creates, as
**   DB2's DDL does.  All return 0, or -1 with a text in *pstrError.
**   The instance is the one db2cli.h finds ($DB2INSTANCE, $ZAVDB2_INSTHOME).
*/
#ifndef ZAV_PLATFORM_DB2ADMIN_H
#define ZAV_PLATFORM_DB2ADMIN_H

#include <functional>
#include <string>
#include <vector>

/* A column of a table to create. */
struct db2adminColumn {
  std::string strName;
  std::string strType;       /* DB2 type text: "INTEGER", "CHAR(10)", "DECIMAL(7,2)" ... */
  bool boNullable = true;
  std::string strDefault;    /* DEFAULT text as the catalogue keeps it, empty for none */
  int iCodepage = -1;        /* -1: the database's code page for character types, its graphic code
                                page for graphic types, 0 otherwise */
};

/* Prepares the instance home: sqllib/, sqllib/zavdb2/ and db2nodes.cfg
   with the given lines (none: no db2nodes.cfg). */
int db2adminCreateInstance(const std::vector<std::string> &vNodeLines, std::string *pstrError);

/* Registers a user with a password and comma-separated groups. */
int db2adminAddUser(const std::string &strName, const std::string &strPassword, const std::string &strGroups,
                    std::string *pstrError);

/* Creates a database store under strPath and catalogues it. */
int db2adminCreateDatabase(const std::string &strAlias, const std::string &strPath, int iCodepage,
                           int iTerritory, std::string *pstrError);

/* Adds a table space to the catalogue: type 'D' (DMS) or 'S' (SMS),
   data type 'A' (regular), 'L' (long) or 'T' (temporary). */
int db2adminCreateTablespace(const std::string &strDatabase, const std::string &strName, int iId, char cType,
                             char cDataType, int iExtentSize, int iPageSize, std::string *pstrError);

/* Creates a table (type 'T') with its catalogue rows. */
int db2adminCreateTable(const std::string &strDatabase, const std::string &strSchema, const std::string &strName,
                        const std::string &strTablespace, const std::string &strLongTablespace, int iTableId,
                        const std::vector<db2adminColumn> &vColumns, std::string *pstrError);

/* Runs statements (INSERT ...) on a database's store, schemas attached. */
int db2adminExecute(const std::string &strDatabase, const std::string &strSql, std::string *pstrError);

/* A value of a row to insert: NULL, text (numbers, dates and times in
   their external form too: the column's type converts them as it converts
   a quoted literal) or bytes (BLOB columns). */
struct db2adminValue {
  enum Kind { NUL, TEXT, BYTES } kind = NUL;
  std::string str;
};

/* Inserts rows into strSchema.strTable in one transaction through one
   prepared statement: fnNext fills the next row of ulColumns values and
   returns false when there is none left.  On a failure nothing is
   inserted. */
int db2adminInsertRows(const std::string &strDatabase, const std::string &strSchema, const std::string &strTable,
                       size_t ulColumns, const std::function<bool(std::vector<db2adminValue> &)> &fnNext,
                       std::string *pstrError);

/* Grants DBADM on a database to a user ('U') or group ('G'). */
int db2adminGrantDbadm(const std::string &strDatabase, const std::string &strGrantee, char cGranteeType,
                       std::string *pstrError);

#endif
