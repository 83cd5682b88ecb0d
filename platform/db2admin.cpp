/*
** db2admin.cpp
**   Creation of the stand-in's instance files, databases, table spaces and
**   tables, with their catalogue rows (see db2admin.h).
*/
#include "platform/db2admin.h"
#include "platform/db2stand.h"
#include "platform/db2standcli.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>

namespace {

/* The catalogue tables, with the columns and DB2 types the program reads. */
const char *const gpcCatalog =
    "CREATE TABLE IF NOT EXISTS SYSIBM.SYSTABLESPACES ("
    " TBSPACE VARCHAR(18) NOT NULL, DEFINER VARCHAR(128) NOT NULL, CREATE_TIME TIMESTAMP NOT NULL,"
    " TBSPACEID INTEGER NOT NULL, TBSPACETYPE CHAR(1) NOT NULL, DATATYPE CHAR(1) NOT NULL,"
    " EXTENTSIZE INTEGER NOT NULL, PREFETCHSIZE INTEGER NOT NULL, OVERHEAD DOUBLE NOT NULL,"
    " TRANSFERRATE DOUBLE NOT NULL, REMARKS VARCHAR(254), NGNAME VARCHAR(18) NOT NULL,"
    " BUFFERPOOLID INTEGER NOT NULL, PAGESIZE INTEGER NOT NULL, DROP_RECOVERY CHAR(1) NOT NULL);"
    "CREATE TABLE IF NOT EXISTS SYSIBM.SYSTABLES ("
    " NAME VARCHAR(128) NOT NULL, CREATOR VARCHAR(128) NOT NULL, TYPE CHAR(1) NOT NULL,"
    " CTIME TIMESTAMP NOT NULL, REMARKS VARCHAR(254), COLCOUNT SMALLINT NOT NULL, FID SMALLINT NOT NULL,"
    " TID SMALLINT NOT NULL, CARD BIGINT NOT NULL, NPAGES INTEGER NOT NULL, FPAGES INTEGER NOT NULL,"
    " OVERFLOW INTEGER NOT NULL, PARENTS SMALLINT, CHILDREN SMALLINT, SELFREFS SMALLINT,"
    " KEYCOLUMNS SMALLINT, KEYOBID SMALLINT, BASE_NAME VARCHAR(128), BASE_SCHEMA VARCHAR(128),"
    " TBSPACE VARCHAR(18), INDEX_TBSPACE VARCHAR(18), LONG_TBSPACE VARCHAR(18), KEYUNIQUE SMALLINT NOT NULL,"
    " CHECKCOUNT SMALLINT NOT NULL, STATS_TIME TIMESTAMP, DEFINER VARCHAR(128) NOT NULL,"
    " DATA_CAPTURE CHAR(1) NOT NULL, STATUS CHAR(1) NOT NULL, CONST_CHECKED CHAR(32) NOT NULL,"
    " PMAP_ID SMALLINT, LOG_ATTRIBUTE CHAR(1) NOT NULL, PCTFREE SMALLINT NOT NULL,"
    " ROWTYPESCHEMA VARCHAR(128), ROWTYPENAME VARCHAR(18), APPEND_MODE CHAR(1) NOT NULL,"
    " PARTITION_MODE CHAR(1) NOT NULL, REFRESH CHAR(1) NOT NULL, REFRESH_TIME TIMESTAMP,"
    " LOCKSIZE CHAR(1) NOT NULL, VOLATILE CHAR(1) NOT NULL);"
    "CREATE TABLE IF NOT EXISTS SYSIBM.SYSCOLUMNS ("
    " NAME VARCHAR(128) NOT NULL, TBNAME VARCHAR(128) NOT NULL, TBCREATOR VARCHAR(128) NOT NULL,"
    " REMARKS VARCHAR(254), COLTYPE CHAR(8) NOT NULL, NULLS CHAR(1) NOT NULL, CODEPAGE SMALLINT NOT NULL,"
    " DBCSCODEPG SMALLINT NOT NULL, LENGTH INTEGER NOT NULL, SCALE SMALLINT NOT NULL, COLNO SMALLINT NOT NULL,"
    " COLCARD INTEGER NOT NULL, HIGH2KEY VARCHAR(254), LOW2KEY VARCHAR(254), AVGCOLLEN INTEGER NOT NULL,"
    " KEYSEQ SMALLINT, TYPENAME VARCHAR(18) NOT NULL, TYPESCHEMA VARCHAR(128) NOT NULL,"
    " \"DEFAULT\" VARCHAR(254), LONGLENGTH INTEGER NOT NULL, LOGGED CHAR(1) NOT NULL, COMPACT CHAR(1) NOT NULL,"
    " NQUANTILES SMALLINT NOT NULL, NMOSTFREQ SMALLINT NOT NULL, COMPOSITE_CODEPAGE SMALLINT NOT NULL,"
    " PARTKEYSEQ SMALLINT, SOURCE_TABSCHEMA VARCHAR(128), SOURCE_TABNAME VARCHAR(128),"
    " HIDDEN CHAR(1) NOT NULL, GENERATED CHAR(1) NOT NULL, INLINE_LENGTH INTEGER NOT NULL,"
    " NUMNULLS INTEGER NOT NULL, DATAMODEL SMALLINT NOT NULL, SUB_COUNT SMALLINT NOT NULL,"
    " SUB_DELIM_LENGTH INTEGER NOT NULL, IDENTITY CHAR(1) NOT NULL);"
    "CREATE TABLE IF NOT EXISTS SYSIBM.SYSDBAUTH ("
    " GRANTOR VARCHAR(128) NOT NULL, GRANTEE VARCHAR(128) NOT NULL, GRANTEETYPE CHAR(1) NOT NULL,"
    " DBADMAUTH CHAR(1) NOT NULL);"
    "CREATE TABLE IF NOT EXISTS SYSIBM.SYSVIEWS ("
    " CREATOR VARCHAR(128) NOT NULL, NAME VARCHAR(128) NOT NULL, SEQNO SMALLINT NOT NULL,"
    " TEXT CLOB(65536) NOT NULL);";

bool _mkdirs(const std::string &strPath, std::string *pstrError)
{
  for (size_t i = 1; i <= strPath.size(); i++) {
    if (i < strPath.size() && strPath[i] != '/') continue;
    std::string strPart = strPath.substr(0, i);
    if (mkdir(strPart.c_str(), 0755) != 0 && errno != EEXIST) {
      *pstrError = "cannot create " + strPart + ": " + std::strerror(errno);
      return false;
    }
  }
  return true;
}

int _fail(std::string *pstrError, const std::string &strText)
{
  *pstrError = strText;
  return -1;
}

/* Runs statements on an open store; each '?' of a single statement is
   bound from vArgs in order. */
int _run(sqlite3 *pdb, const std::string &strSql, const std::vector<std::string> &vArgs, std::string *pstrError)
{
  if (vArgs.empty()) {
    char *pcErr = nullptr;
    if (sqlite3_exec(pdb, strSql.c_str(), nullptr, nullptr, &pcErr) != SQLITE_OK) {
      *pstrError = pcErr ? pcErr : "statement failed";
      sqlite3_free(pcErr);
      return -1;
    }
    return 0;
  }
  sqlite3_stmt *pst = nullptr;
  if (sqlite3_prepare_v2(pdb, strSql.c_str(), -1, &pst, nullptr) != SQLITE_OK)
    return _fail(pstrError, sqlite3_errmsg(pdb));
  for (size_t i = 0; i < vArgs.size(); i++)
    sqlite3_bind_text(pst, static_cast<int>(i + 1), vArgs[i].c_str(), -1, SQLITE_TRANSIENT);
  int rc = sqlite3_step(pst);
  sqlite3_finalize(pst);
  if (rc != SQLITE_DONE) return _fail(pstrError, sqlite3_errmsg(pdb));
  return 0;
}

sqlite3 *_open(const std::string &strDatabase, std::string *pstrError)
{
  db2standDbEntry entry;
  if (!db2standFindDatabase(strDatabase, &entry)) {
    *pstrError = "database " + strDatabase + " is not catalogued";
    return nullptr;
  }
  return db2standOpenStore(entry, pstrError);
}

/* Catalogue type name, length and LOB length of a DB2 type text. */
void _catalogType(const std::string &strType, std::string *pstrColtype, int *piLength, int *piScale,
                  int *piLongLength)
{
  *piLongLength = 0;
  db2standColType ct = db2standParseType(strType);
  std::string strUpper = db2standUpper(strType);
  *piScale = 0;
  *piLength = static_cast<int>(ct.uiSize);
  switch (ct.sSqlType) {
    case SQL_SMALLINT: *pstrColtype = "SMALLINT"; *piLength = 2; break;
    case SQL_INTEGER: *pstrColtype = "INTEGER"; *piLength = 4; break;
    case SQL_BIGINT: *pstrColtype = "BIGINT"; *piLength = 8; break;
    case SQL_DOUBLE: *pstrColtype = "DOUBLE"; *piLength = 8; break;
    case SQL_REAL: *pstrColtype = "REAL"; *piLength = 4; break;
    case SQL_DECIMAL: *pstrColtype = "DECIMAL"; *piScale = ct.sScale; break;
    case SQL_CHAR: *pstrColtype = "CHAR"; break;
    case SQL_BINARY:
      *pstrColtype = strUpper.rfind("LONG", 0) == 0 ? "LONGVAR" : strUpper.rfind("VARCHAR", 0) == 0 ? "VARCHAR"
                                                                                                  : "CHAR";
      break;
    case SQL_VARCHAR: *pstrColtype = "VARCHAR"; break;
    case SQL_LONGVARCHAR: *pstrColtype = "LONGVAR"; break;
    case SQL_GRAPHIC: *pstrColtype = "GRAPHIC"; break;
    case SQL_VARGRAPHIC: *pstrColtype = "VARGRAPH"; break;
    case SQL_LONGVARGRAPHIC: *pstrColtype = "LONGVARG"; break;
    case SQL_TYPE_DATE: *pstrColtype = "DATE"; *piLength = 4; break;
    case SQL_TYPE_TIME: *pstrColtype = "TIME"; *piLength = 3; break;
    case SQL_TYPE_TIMESTAMP: *pstrColtype = "TIMESTMP"; *piLength = 10; break;
    /* LENGTH is a SMALLINT: a LOB keeps its length in LONGLENGTH */
    case SQL_BLOB: *pstrColtype = "BLOB"; *piLongLength = *piLength; *piLength = 0; break;
    case SQL_CLOB: *pstrColtype = "CLOB"; *piLongLength = *piLength; *piLength = 0; break;
    case SQL_DBCLOB: *pstrColtype = "DBCLOB"; *piLongLength = *piLength; *piLength = 0; break;
    default: *pstrColtype = "VARCHAR"; break;
  }
}

/* The graphic code page that goes with a database code page: UTF-16 (1200)
   in a Unicode database (UTF-8, 1208); none (0) in the single-byte
   databases, the only other kind the stand-in makes. */
int _graphicCodepage(int iCodepage) { return iCodepage == 1208 ? 1200 : 0; }

/* A DB2 type text as SQLite accepts it in a declaration: sizes such as
   1M written out, so that the declared type keeps the whole length. */
std::string _sqliteType(const std::string &strType)
{
  std::string strOut;
  for (size_t i = 0; i < strType.size(); i++) {
    char c = strType[i];
    if ((c == 'K' || c == 'M' || c == 'G' || c == 'k' || c == 'm' || c == 'g') && i > 0 &&
        std::isdigit(static_cast<unsigned char>(strType[i - 1]))) {
      size_t ulStart = strOut.size();
      while (ulStart > 0 && std::isdigit(static_cast<unsigned char>(strOut[ulStart - 1]))) ulStart--;
      unsigned long long ull = std::stoull(strOut.substr(ulStart));
      ull *= c == 'K' || c == 'k' ? 1024ULL : c == 'M' || c == 'm' ? 1048576ULL : 1073741824ULL;
      strOut = strOut.substr(0, ulStart) + std::to_string(ull);
    } else {
      strOut += c;
    }
  }
  return strOut;
}

}  // namespace

int db2adminCreateInstance(const std::vector<std::string> &vNodeLines, std::string *pstrError)
{
  std::string strHome = db2standInstanceHome();
  if (strHome.empty()) return _fail(pstrError, "no instance home (DB2INSTANCE / ZAVDB2_INSTHOME)");
  if (!_mkdirs(strHome + "/sqllib/zavdb2", pstrError)) return -1;
  std::ofstream(strHome + "/sqllib/zavdb2/dbdir", std::ios::app).flush();
  if (!vNodeLines.empty()) {
    std::ofstream out(strHome + "/sqllib/db2nodes.cfg");
    for (const auto &str : vNodeLines) out << str << "\n";
    if (!out) return _fail(pstrError, "cannot write db2nodes.cfg");
  }
  return 0;
}

int db2adminAddUser(const std::string &strName, const std::string &strPassword, const std::string &strGroups,
                    std::string *pstrError)
{
  std::string strHome = db2standInstanceHome();
  if (strHome.empty()) return _fail(pstrError, "no instance home");
  std::ofstream out(strHome + "/sqllib/zavdb2/users", std::ios::app);
  out << strName << " " << strPassword << " " << (strGroups.empty() ? "-" : strGroups) << "\n";
  return out ? 0 : _fail(pstrError, "cannot write the user list");
}

int db2adminCreateDatabase(const std::string &strAlias, const std::string &strPath, int iCodepage,
                           int iTerritory, std::string *pstrError)
{
  std::string strHome = db2standInstanceHome();
  if (strHome.empty()) return _fail(pstrError, "no instance home");
  db2standDbEntry entry;
  if (db2standFindDatabase(strAlias, &entry)) return _fail(pstrError, "database " + strAlias + " exists already");
  std::vector<db2standDbEntry> v;
  db2standReadDirectory(&v);
  entry.strAlias = db2standUpper(strAlias);
  entry.strName = db2standUpper(strAlias);
  entry.strPath = strPath;
  char acInternal[16];
  std::snprintf(acInternal, sizeof acInternal, "SQL%05d", static_cast<int>(v.size()) + 1);
  entry.strInternal = acInternal;
  std::string strDir = db2standStorePath(entry);
  if (!_mkdirs(strDir, pstrError)) return -1;
  sqlite3 *pdb = nullptr;
  if (sqlite3_open_v2((strDir + "/main.db").c_str(), &pdb, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
      SQLITE_OK) {
    sqlite3_close(pdb);
    return _fail(pstrError, "cannot create the store in " + strDir);
  }
  int rc = _run(pdb, "ATTACH DATABASE '" + strDir + "/SYSIBM.db' AS SYSIBM", {}, pstrError);
  if (rc == 0)
    rc = _run(pdb,
              "CREATE TABLE IF NOT EXISTS main.DBCFG(TOKEN INTEGER PRIMARY KEY, VALUE INTEGER);"
              "CREATE TABLE IF NOT EXISTS main.QUIESCE(TABNAME TEXT PRIMARY KEY, STATE TEXT);"
              "INSERT OR REPLACE INTO main.DBCFG VALUES(101, " + std::to_string(iCodepage) + ");"
              "INSERT OR REPLACE INTO main.DBCFG VALUES(100, " + std::to_string(iTerritory) + ");" +
                  gpcCatalog,
              {}, pstrError);
  sqlite3_close(pdb);
  if (rc != 0) return rc;
  std::ofstream out(strHome + "/sqllib/zavdb2/dbdir", std::ios::app);
  out << entry.strAlias << " " << entry.strName << " " << entry.strPath << " " << entry.strInternal << "\n";
  return out ? 0 : _fail(pstrError, "cannot write the database directory");
}

int db2adminCreateTablespace(const std::string &strDatabase, const std::string &strName, int iId, char cType,
                             char cDataType, int iExtentSize, int iPageSize, std::string *pstrError)
{
  sqlite3 *pdb = _open(strDatabase, pstrError);
  if (pdb == nullptr) return -1;
  int rc = _run(pdb,
                "INSERT INTO SYSIBM.SYSTABLESPACES VALUES(?, 'SYSIBM', '2004-01-01-00.00.00.000000', ?, ?, ?, ?, "
                "?, 24.1, 0.9, NULL, 'DEFAULTGROUP', 1, ?, 'N')",
                {strName, std::to_string(iId), std::string(1, cType), std::string(1, cDataType),
                 std::to_string(iExtentSize), std::to_string(iExtentSize * 2), std::to_string(iPageSize)},
                pstrError);
  sqlite3_close(pdb);
  return rc;
}

int db2adminCreateTable(const std::string &strDatabase, const std::string &strSchema, const std::string &strName,
                        const std::string &strTablespace, const std::string &strLongTablespace, int iTableId,
                        const std::vector<db2adminColumn> &vColumns, std::string *pstrError)
{
  sqlite3 *pdb = _open(strDatabase, pstrError);
  if (pdb == nullptr) return -1;
  db2standDbEntry entry;
  db2standFindDatabase(strDatabase, &entry);
  int iCodepage = 0;
  {
    sqlite3_stmt *pst = nullptr;
    if (sqlite3_prepare_v2(pdb, "SELECT VALUE FROM main.DBCFG WHERE TOKEN = 101", -1, &pst, nullptr) == SQLITE_OK &&
        sqlite3_step(pst) == SQLITE_ROW)
      iCodepage = sqlite3_column_int(pst, 0);
    sqlite3_finalize(pst);
  }
  int iFid = 0, iTid = 0;
  {
    sqlite3_stmt *pst = nullptr;
    if (sqlite3_prepare_v2(pdb, "SELECT TBSPACEID FROM SYSIBM.SYSTABLESPACES WHERE TBSPACE = ?1", -1, &pst,
                           nullptr) == SQLITE_OK) {
      sqlite3_bind_text(pst, 1, strTablespace.c_str(), -1, SQLITE_TRANSIENT);
      if (sqlite3_step(pst) == SQLITE_ROW) iTid = sqlite3_column_int(pst, 0);
    }
    sqlite3_finalize(pst);
  }
  iFid = iTableId;
  std::string strDdl = "CREATE TABLE \"" + strSchema + "\".\"" + strName + "\" (";
  {
    /* a new schema gets its own file, made here so the attach finds it */
    sqlite3 *pdbSchema = nullptr;
    sqlite3_open_v2((db2standStorePath(entry) + "/" + strSchema + ".db").c_str(), &pdbSchema,
                    SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    sqlite3_close(pdbSchema);
  }
  int rc = _run(pdb, "ATTACH DATABASE '" + db2standStorePath(entry) + "/" + strSchema + ".db' AS \"" + strSchema + "\"",
                {}, pstrError);
  if (rc != 0 && pstrError->find("already in use") != std::string::npos) rc = 0;
  for (size_t i = 0; i < vColumns.size() && rc == 0; i++) {
    const db2adminColumn &c = vColumns[i];
    strDdl += (i ? ", \"" : "\"") + c.strName + "\" " + _sqliteType(c.strType) + (c.boNullable ? "" : " NOT NULL");
    std::string strColtype;
    int iLength = 0, iScale = 0, iLongLength = 0;
    _catalogType(c.strType, &strColtype, &iLength, &iScale, &iLongLength);
    bool boCharacter = strColtype == "CHAR" || strColtype == "VARCHAR" || strColtype == "LONGVAR" ||
                       strColtype == "CLOB";
    bool boGraphic = strColtype == "GRAPHIC" || strColtype == "VARGRAPH" || strColtype == "LONGVARG" ||
                     strColtype == "DBCLOB";
    bool boBit = db2standUpper(c.strType).find("FOR BIT DATA") != std::string::npos;
    /* CODEPAGE: the database code page for character data, the graphic
       code page for graphic data; DBCSCODEPG: the graphic code page of
       both (0 in a single-byte database) */
    int iColCodepage = c.iCodepage >= 0 ? c.iCodepage
                       : boCharacter && !boBit ? iCodepage
                       : boGraphic             ? _graphicCodepage(iCodepage)
                                               : 0;
    int iDbcsCodepage = boGraphic ? iColCodepage : boCharacter && !boBit ? _graphicCodepage(iCodepage) : 0;
    strColtype.resize(8, ' ');
    rc = _run(pdb,
              "INSERT INTO SYSIBM.SYSCOLUMNS VALUES(?, ?, ?, NULL, ?, ?, ?, ?, ?, ?, ?, -1, NULL, NULL, -1, NULL, "
              "?, 'SYSIBM', ?, ?, ' ', ' ', -1, -1, 0, NULL, ?, ?, ' ', ' ', 0, -1, 0, 0, 0, 'N')",
              {c.strName, strName, strSchema, strColtype, c.boNullable ? "Y" : "N", std::to_string(iColCodepage),
               std::to_string(iDbcsCodepage), std::to_string(iLength), std::to_string(iScale), std::to_string(i), db2standUpper(strColtype),
               c.strDefault, std::to_string(iLongLength), strSchema, strName},
              pstrError);
    if (rc == 0 && c.strDefault.empty())
      rc = _run(pdb, "UPDATE SYSIBM.SYSCOLUMNS SET \"DEFAULT\" = NULL WHERE TBCREATOR = ? AND TBNAME = ? AND NAME = ?",
                {strSchema, strName, c.strName}, pstrError);
  }
  if (rc == 0) rc = _run(pdb, strDdl + ")", {}, pstrError);
  if (rc == 0)
    rc = _run(pdb,
              "INSERT INTO SYSIBM.SYSTABLES VALUES(?, ?, 'T', '2004-01-01-00.00.00.000000', NULL, ?, ?, ?, -1, -1, "
              "-1, -1, 0, 0, 0, 0, 0, NULL, NULL, ?, ?, ?, 0, 0, NULL, 'SYSIBM', 'N', 'N', ' ', NULL, 'N', -1, "
              "NULL, NULL, 'N', ' ', ' ', NULL, 'R', ' ')",
              {strName, strSchema, std::to_string(vColumns.size()), std::to_string(iFid), std::to_string(iTid),
               strTablespace, strTablespace, strLongTablespace},
              pstrError);
  if (rc == 0 && strLongTablespace.empty())
    rc = _run(pdb, "UPDATE SYSIBM.SYSTABLES SET LONG_TBSPACE = NULL WHERE CREATOR = ? AND NAME = ?",
              {strSchema, strName}, pstrError);
  sqlite3_close(pdb);
  return rc;
}

int db2adminExecute(const std::string &strDatabase, const std::string &strSql, std::string *pstrError)
{
  sqlite3 *pdb = _open(strDatabase, pstrError);
  if (pdb == nullptr) return -1;
  int rc = _run(pdb, strSql, {}, pstrError);
  sqlite3_close(pdb);
  return rc;
}

int db2adminInsertRows(const std::string &strDatabase, const std::string &strSchema, const std::string &strTable,
                       size_t ulColumns, const std::function<bool(std::vector<db2adminValue> &)> &fnNext,
                       std::string *pstrError)
{
  sqlite3 *pdb = _open(strDatabase, pstrError);
  if (pdb == nullptr) return -1;
  std::string strSql = "INSERT INTO \"" + strSchema + "\".\"" + strTable + "\" VALUES(";
  for (size_t i = 0; i < ulColumns; i++) strSql += i ? ",?" : "?";
  strSql += ")";
  sqlite3_stmt *pst = nullptr;
  int rc = _run(pdb, "BEGIN", {}, pstrError);
  if (rc == 0 && sqlite3_prepare_v2(pdb, strSql.c_str(), -1, &pst, nullptr) != SQLITE_OK)
    rc = _fail(pstrError, sqlite3_errmsg(pdb));
  std::vector<db2adminValue> vRow(ulColumns);
  while (rc == 0 && fnNext(vRow)) {
    if (vRow.size() != ulColumns) {
      rc = _fail(pstrError, "a row of " + std::to_string(vRow.size()) + " values for " + std::to_string(ulColumns) +
                                " columns");
      break;
    }
    for (size_t i = 0; i < ulColumns; i++) {
      const db2adminValue &v = vRow[i];
      int iCol = static_cast<int>(i + 1);
      if (v.kind == db2adminValue::NUL)
        sqlite3_bind_null(pst, iCol);
      else if (v.kind == db2adminValue::TEXT)
        sqlite3_bind_text64(pst, iCol, v.str.data(), v.str.size(), SQLITE_STATIC, SQLITE_UTF8);
      else
        sqlite3_bind_blob64(pst, iCol, v.str.data(), v.str.size(), SQLITE_STATIC);
    }
    if (sqlite3_step(pst) != SQLITE_DONE) rc = _fail(pstrError, sqlite3_errmsg(pdb));
    sqlite3_reset(pst);
  }
  sqlite3_finalize(pst);
  if (rc == 0) {
    rc = _run(pdb, "COMMIT", {}, pstrError);
  } else {
    std::string strIgnored;
    (void)_run(pdb, "ROLLBACK", {}, &strIgnored);
  }
  sqlite3_close(pdb);
  return rc;
}

int db2adminGrantDbadm(const std::string &strDatabase, const std::string &strGrantee, char cGranteeType,
                       std::string *pstrError)
{
  sqlite3 *pdb = _open(strDatabase, pstrError);
  if (pdb == nullptr) return -1;
  int rc = _run(pdb, "INSERT INTO SYSIBM.SYSDBAUTH VALUES('SYSIBM', ?, ?, 'Y')",
                {db2standUpper(strGrantee), std::string(1, cGranteeType)}, pstrError);
  sqlite3_close(pdb);
  return rc;
}
