/*
** db2api.cpp
**   The administrative API of the DB2 stand-in: instance attach, database
**   configuration, directory scans, unload registration and quiesce,
**   authorities, export and message texts.  Every call reports through its
**   sqlca: SQLCODE 0 for success, negative for an error with the message
**   text kept in sqlerrmc for sqlaintp_api.  Registrations and quiesce
**   states are kept in the database store's main.QUIESCE table.  The export
**   writes DEL files only, in DB2's DEL form (platform/db2standdel.h), and
**   no LOB file: a statement whose result has LOB columns is refused
**   (SQL3006N) rather than written cut.
*/
#include "platform/db2cli.h"
#include "platform/db2stand.h"
#include "platform/db2standcli.h"
#include "platform/db2standdel.h"
#include "platform/db2standsel.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

void _setSqlca(struct sqlca *pSqlca, int iCode, const std::string &strText)
{
  if (pSqlca == nullptr) return;
  std::memset(pSqlca, 0, sizeof *pSqlca);
  std::memcpy(pSqlca->sqlcaid, "SQLCA   ", 8);
  pSqlca->sqlcabc = static_cast<int32_t>(sizeof *pSqlca);
  pSqlca->sqlcode = iCode;
  std::memset(pSqlca->sqlwarn, ' ', sizeof pSqlca->sqlwarn);
  std::memcpy(pSqlca->sqlstate, iCode == 0 ? "00000" : "58004", 5);
  size_t ulLen = strText.size() < sizeof pSqlca->sqlerrmc ? strText.size() : sizeof pSqlca->sqlerrmc;
  std::memcpy(pSqlca->sqlerrmc, strText.data(), ulLen);
  pSqlca->sqlerrml = static_cast<int16_t>(ulLen);
}

/* Applies an injected failure; true when the call must fail. */
bool _injected(const char *pcCall, struct sqlca *pSqlca)
{
  db2standFailure f;
  if (!db2standInjected(pcCall, &f)) return false;
  _setSqlca(pSqlca, f.iRc, f.strText);
  return true;
}

std::string _str(const char *pc) { return pc ? std::string(pc) : std::string("-"); }

/* The text of SQL0204N for a name. */
std::string _undefined(const char *pcName)
{
  std::string str(1, '"');
  str += _str(pcName);
  str += "\" is an undefined name.";
  return str;
}

/* A store that cannot be opened: lock timeout, damaged store or I/O error. */
void _setStoreFailure(struct sqlca *pSqlca, int iCode, const std::string &strError)
{
  int iSqlcode = 0;
  std::string strState, strText;
  if (db2standEngineFailure(iCode, &iSqlcode, &strState, &strText)) {
    /* the message text without its identifier, which sqlaintp_api puts back */
    size_t ulBody = strText.find("  ");
    _setSqlca(pSqlca, iSqlcode, ulBody == std::string::npos ? strText : strText.substr(ulBody + 2));
    if (pSqlca != nullptr) std::memcpy(pSqlca->sqlstate, strState.data(), 5);
  } else {
    _setSqlca(pSqlca, -1036, strError);
  }
}

/* Opens the store of the process's current connection. */
sqlite3 *_currentStore(struct sqlca *pSqlca, std::string *pstrUser)
{
  db2standDbEntry entry;
  std::string strError;
  if (!db2standGetCurrent(&entry, pstrUser)) {
    _setSqlca(pSqlca, -1024, "A database connection does not exist.");
    return nullptr;
  }
  int iCode = 0;
  sqlite3 *pdb = db2standOpenStore(entry, &strError, &iCode);
  if (pdb == nullptr) _setStoreFailure(pSqlca, iCode, strError);
  return pdb;
}

/* Splits a quiesce table name QUALIFIER."NAME" into its two parts. */
bool _splitTable(const char *pcTable, std::string *pstrQualifier, std::string *pstrName)
{
  if (pcTable == nullptr) return false;
  std::string str = pcTable;
  size_t ulDot = str.find('.');
  if (ulDot == std::string::npos) return false;
  *pstrQualifier = str.substr(0, ulDot);
  std::string strName = str.substr(ulDot + 1);
  if (strName.size() >= 2 && strName.front() == '"' && strName.back() == '"')
    strName = strName.substr(1, strName.size() - 2);
  *pstrName = strName;
  return !pstrQualifier->empty() && !pstrName->empty();
}

int _exec(sqlite3 *pdb, const char *pcSql, const std::vector<std::string> &vArgs, int *piRows = nullptr)
{
  sqlite3_stmt *pst = nullptr;
  int rc = sqlite3_prepare_v2(pdb, pcSql, -1, &pst, nullptr);
  if (rc != SQLITE_OK) return rc;
  for (size_t i = 0; i < vArgs.size(); i++)
    sqlite3_bind_text(pst, static_cast<int>(i + 1), vArgs[i].c_str(), -1, SQLITE_TRANSIENT);
  int iRows = 0;
  while ((rc = sqlite3_step(pst)) == SQLITE_ROW) iRows++;
  sqlite3_finalize(pst);
  if (piRows) *piRows = iRows;
  return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

/*
** The quiesce states' table, made when missing.  A state is bookkeeping of
** the connections that set it, rewritten by every unload: its commits do
** not wait for the disk (synchronous off for this connection), which would
** otherwise cost every SELECT several flushes of the store.
*/
void _quiesceTable(sqlite3 *pdb)
{
  _exec(pdb, "PRAGMA main.synchronous = OFF", {});
  _exec(pdb, "CREATE TABLE IF NOT EXISTS main.QUIESCE(TABNAME TEXT PRIMARY KEY, STATE TEXT)", {});
}

/* True when a result described so has a BLOB, CLOB or DBCLOB column. */
bool _lobColumns(const std::vector<db2standColType> &vCols)
{
  for (const db2standColType &col : vCols)
    if (col.sSqlType == SQL_BLOB || col.sSqlType == SQL_CLOB || col.sSqlType == SQL_DBCLOB) return true;
  return false;
}

/* Directory scans in progress, by handle. */
std::map<uint16_t, std::vector<sqledinfo>> gmapScans;
std::map<uint16_t, size_t> gmapScanPos;
uint16_t gusNextScan = 1;

void _putField(sqledinfo *pe, size_t ulOffset, size_t ulWidth, const std::string &str)
{
  std::memset(pe->aucBytes + ulOffset, ' ', ulWidth);
  std::memcpy(pe->aucBytes + ulOffset, str.data(), str.size() < ulWidth ? str.size() : ulWidth);
}

}  // namespace

void sqleatin_api(const char *pcInstance, const char *pcUser, const char *pcPassword, struct sqlca *pSqlca)
{
  if (!_injected("sqleatin_api", pSqlca)) {
    db2standUser user;
    if (pcInstance == nullptr || db2standInstance() != pcInstance || db2standInstanceHome().empty())
      _setSqlca(pSqlca, -1097, std::string("The instance name ") + _str(pcInstance) + " is not valid.");
    else if (pcUser != nullptr && *pcUser && (!db2standFindUser(pcUser, &user) ||
                                              user.strPassword != (pcPassword ? pcPassword : "")))
      _setSqlca(pSqlca, -30082, "USERNAME AND/OR PASSWORD INVALID");
    else
      _setSqlca(pSqlca, 0, "");
  }
  db2standLog("sqleatin_api", _str(pcInstance) + " " + _str(pcUser), pSqlca ? pSqlca->sqlcode : 0);
}

void sqlfxdb(const char *pcDatabase, uint16_t usCount, struct sqlfupd *pItems, struct sqlca *pSqlca)
{
  if (!_injected("sqlfxdb", pSqlca)) {
    db2standDbEntry entry;
    std::string strError;
    int iCode = 0;
    sqlite3 *pdb = nullptr;
    if (pcDatabase == nullptr || !db2standFindDatabase(pcDatabase, &entry)) {
      _setSqlca(pSqlca, -1013, std::string("The database ") + _str(pcDatabase) + " could not be found.");
    } else if ((pdb = db2standOpenStore(entry, &strError, &iCode)) == nullptr) {
      _setStoreFailure(pSqlca, iCode, strError);
    } else {
      _setSqlca(pSqlca, 0, "");
      for (uint16_t i = 0; i < usCount && pItems; i++) {
        sqlite3_stmt *pst = nullptr;
        int iValue = 0;
        bool boFound = false;
        if (sqlite3_prepare_v2(pdb, "SELECT VALUE FROM main.DBCFG WHERE TOKEN = ?1", -1, &pst, nullptr) ==
            SQLITE_OK) {
          sqlite3_bind_int(pst, 1, pItems[i].token);
          if (sqlite3_step(pst) == SQLITE_ROW) {
            iValue = sqlite3_column_int(pst, 0);
            boFound = true;
          }
        }
        sqlite3_finalize(pst);
        if (!boFound) {
          _setSqlca(pSqlca, -5130, "The configuration token " + std::to_string(pItems[i].token) + " is not valid.");
          break;
        }
        uint16_t us = static_cast<uint16_t>(iValue);
        if (pItems[i].ptrvalue) std::memcpy(pItems[i].ptrvalue, &us, 2);
      }
      sqlite3_close_v2(pdb);
    }
  }
  db2standLog("sqlfxdb", _str(pcDatabase) + " " + std::to_string(usCount), pSqlca ? pSqlca->sqlcode : 0);
}

void sqluvtun(const char *pcTable, int32_t iAction, void *pReserved1, void *pReserved2, void *pReserved3,
              struct sqlca *pSqlca)
{
  (void)pReserved1;
  (void)pReserved2;
  (void)pReserved3;
  if (!_injected("sqluvtun", pSqlca)) {
    std::string strUser, strQualifier, strName;
    sqlite3 *pdb = _currentStore(pSqlca, &strUser);
    if (pdb != nullptr) {
      int iRows = 0;
      if (!_splitTable(pcTable, &strQualifier, &strName) ||
          _exec(pdb, "SELECT 1 FROM SYSIBM.SYSTABLES WHERE CREATOR = ?1 AND NAME = ?2", {strQualifier, strName},
                &iRows) != SQLITE_OK ||
          iRows == 0) {
        _setSqlca(pSqlca, -204, _undefined(pcTable));
      } else if (iAction != 0 && iAction != 2 && iAction != 9) {
        _setSqlca(pSqlca, -2032, "The action parameter is not valid.");
      } else {
        std::string strTable = strQualifier + "." + strName;
        _quiesceTable(pdb);
        int rc = iAction == 0 ? _exec(pdb, "INSERT OR REPLACE INTO main.QUIESCE VALUES(?1, 'UNLOAD')", {strTable})
                              : _exec(pdb, "DELETE FROM main.QUIESCE WHERE TABNAME = ?1", {strTable});
        _setSqlca(pSqlca, rc == SQLITE_OK ? 0 : -911, rc == SQLITE_OK ? "" : "The table could not be registered.");
      }
      sqlite3_close_v2(pdb);
    }
  }
  db2standLog("sqluvtun", _str(pcTable) + " " + std::to_string(iAction), pSqlca ? pSqlca->sqlcode : 0);
}

void sqluvqdp(const char *pcTable, int32_t iMode, void *pReserved, struct sqlca *pSqlca)
{
  (void)pReserved;
  if (!_injected("sqluvqdp", pSqlca)) {
    std::string strUser, strQualifier, strName;
    sqlite3 *pdb = _currentStore(pSqlca, &strUser);
    if (pdb != nullptr) {
      if (!_splitTable(pcTable, &strQualifier, &strName)) {
        _setSqlca(pSqlca, -204, _undefined(pcTable));
      } else {
        _quiesceTable(pdb);
        std::string strTable = strQualifier + "." + strName;
        int rc = iMode == 9 ? _exec(pdb, "DELETE FROM main.QUIESCE WHERE TABNAME = ?1", {strTable})
                            : _exec(pdb, "INSERT OR REPLACE INTO main.QUIESCE VALUES(?1, 'QUIESCED')", {strTable});
        _setSqlca(pSqlca, rc == SQLITE_OK ? 0 : -911, rc == SQLITE_OK ? "" : "The table could not be quiesced.");
      }
      sqlite3_close_v2(pdb);
    }
  }
  db2standLog("sqluvqdp", _str(pcTable) + " " + std::to_string(iMode), pSqlca ? pSqlca->sqlcode : 0);
}

void sqluadau(struct sql_authorizations *pAuth, struct sqlca *pSqlca)
{
  std::string strUser = "-";
  if (!_injected("sqluadau", pSqlca)) {
    sqlite3 *pdb = _currentStore(pSqlca, &strUser);
    if (pdb != nullptr) {
      if (pAuth == nullptr || pAuth->sql_authorizations_len != 42) {
        _setSqlca(pSqlca, -2032, "The authorizations structure is not valid.");
      } else {
        std::memset(pAuth->asWords, 0, sizeof pAuth->asWords);
        db2standUser user;
        db2standFindUser(strUser, &user);
        int iRows = 0;
        /* the instance owner holds SYSADM */
        if (db2standUpper(db2standInstance()) == db2standUpper(strUser)) pAuth->asWords[0] = 1;
        _exec(pdb, "SELECT 1 FROM SYSIBM.SYSDBAUTH WHERE GRANTEE = ?1 AND GRANTEETYPE = 'U' AND DBADMAUTH = 'Y'",
              {db2standUpper(strUser)}, &iRows);
        if (iRows > 0) pAuth->asWords[1] = 1;
        std::stringstream ss(user.strGroups);
        std::string strGroup;
        while (std::getline(ss, strGroup, ',')) {
          if (strGroup.empty()) continue;
          if (db2standUpper(strGroup) == "SYSADM") pAuth->asWords[5] = 1;
          _exec(pdb, "SELECT 1 FROM SYSIBM.SYSDBAUTH WHERE GRANTEE = ?1 AND GRANTEETYPE = 'G' AND DBADMAUTH = 'Y'",
                {db2standUpper(strGroup)}, &iRows);
          if (iRows > 0) pAuth->asWords[6] = 1;
        }
        _setSqlca(pSqlca, 0, "");
      }
      sqlite3_close_v2(pdb);
    }
  }
  db2standLog("sqluadau", strUser, pSqlca ? pSqlca->sqlcode : 0);
}

void sqledosd_api(const char *pcPath, uint16_t *pusHandle, uint16_t *pusCount, struct sqlca *pSqlca)
{
  if (!_injected("sqledosd_api", pSqlca)) {
    std::vector<db2standDbEntry> v;
    std::vector<sqledinfo> vEntries;
    if (db2standReadDirectory(&v)) {
      for (const auto &e : v) {
        if (pcPath != nullptr && e.strPath != pcPath) continue;
        sqledinfo info;
        std::memset(info.aucBytes, 0, sizeof info.aucBytes);
        _putField(&info, SQLED_OFF_ALIAS, 8, db2standUpper(e.strAlias));
        _putField(&info, SQLED_OFF_DBNAME, 8, db2standUpper(e.strName));
        _putField(&info, SQLED_OFF_DRIVE, 215, e.strPath);
        _putField(&info, SQLED_OFF_INTNAME, 8, e.strInternal);
        info.aucBytes[SQLED_OFF_TYPE] = pcPath == nullptr ? '0' : '1';
        info.aucBytes[SQLED_OFF_NODENUM] = 0;
        info.aucBytes[SQLED_OFF_NODENUM + 1] = 0;
        vEntries.push_back(info);
      }
    }
    if (vEntries.empty()) {
      _setSqlca(pSqlca, -1031, "The database directory cannot be found on the indicated file system.");
      if (pusCount) *pusCount = 0;
    } else {
      uint16_t usHandle = gusNextScan++;
      gmapScans[usHandle] = vEntries;
      gmapScanPos[usHandle] = 0;
      if (pusHandle) *pusHandle = usHandle;
      if (pusCount) *pusCount = static_cast<uint16_t>(vEntries.size());
      _setSqlca(pSqlca, 0, "");
    }
  }
  db2standLog("sqledosd_api", _str(pcPath), pSqlca ? pSqlca->sqlcode : 0);
}

void sqledgne_api(uint16_t usHandle, struct sqledinfo **ppEntry, struct sqlca *pSqlca)
{
  if (!_injected("sqledgne_api", pSqlca)) {
    auto it = gmapScans.find(usHandle);
    if (it == gmapScans.end()) {
      _setSqlca(pSqlca, -1007, "The directory scan is not open.");
    } else if (gmapScanPos[usHandle] >= it->second.size()) {
      _setSqlca(pSqlca, 1014, "There are no more entries.");
    } else {
      if (ppEntry) *ppEntry = &it->second[gmapScanPos[usHandle]];
      gmapScanPos[usHandle]++;
      _setSqlca(pSqlca, 0, "");
    }
  }
  db2standLog("sqledgne_api", std::to_string(usHandle), pSqlca ? pSqlca->sqlcode : 0);
}

void sqledcls_api(uint16_t usHandle, struct sqlca *pSqlca)
{
  if (!_injected("sqledcls_api", pSqlca)) {
    gmapScans.erase(usHandle);
    gmapScanPos.erase(usHandle);
    _setSqlca(pSqlca, 0, "");
  }
  db2standLog("sqledcls_api", std::to_string(usHandle), pSqlca ? pSqlca->sqlcode : 0);
}

void sqluexpr_api(const char *pcDataFile, struct sqlu_media_list *pLobPaths, struct sqlu_media_list *pLobFiles,
                  struct sqldcol *pDataDescriptor, struct sqlchar *pAction, const char *pcFileType,
                  struct sqlchar *pFileTypeModifier, const char *pcMessageFile, int16_t sCallerAction,
                  struct sqluexpt_out *pOut, void *pReserved, struct sqlca *pSqlca)
{
  (void)pLobPaths;
  (void)pLobFiles;
  (void)pDataDescriptor;
  (void)pFileTypeModifier;
  (void)sCallerAction;
  (void)pReserved;
  std::string strStatement = pAction ? std::string(pAction->data, static_cast<size_t>(pAction->length)) : "";
  if (!_injected("sqluexpr_api", pSqlca)) {
    std::string strUser;
    FILE *pfMsg = pcMessageFile ? std::fopen(pcMessageFile, "w") : nullptr;
    sqlite3 *pdb = _currentStore(pSqlca, &strUser);
    if (pdb != nullptr) {
      int64_t llRows = 0;
      std::string strType = pcFileType ? db2standUpper(pcFileType) : "";
      sqlite3_stmt *pst = nullptr;
      FILE *pfData = nullptr;
      std::vector<db2standColType> vCols;
      db2standSqlError err;
      if (strType != "DEL") {
        _setSqlca(pSqlca, -3006, "The file type " + strType + " is not supported for export here.");
      } else if (!db2standPrepareSelect(pdb, strStatement, db2standUpper(strUser), &pst, &vCols, &err)) {
        if (err.iSqlcode != 0) {
          size_t ulBody = err.strText.find("  ");
          _setSqlca(pSqlca, err.iSqlcode, ulBody == std::string::npos ? err.strText : err.strText.substr(ulBody + 2));
        } else {
          _setSqlca(pSqlca, -104, sqlite3_errmsg(pdb));
        }
      } else if (_lobColumns(vCols)) {
        /* this export writes no LOB file: a LOB is never cut into the data file */
        _setSqlca(pSqlca, -3006, "LOB columns are not supported for export here.");
      } else if (pcDataFile == nullptr || (pfData = std::fopen(pcDataFile, "w")) == nullptr) {
        _setSqlca(pSqlca, -3001, "The data file cannot be opened.");
      } else {
        int iStep;
        std::string strLine;
        while ((iStep = sqlite3_step(pst)) == SQLITE_ROW) {
          strLine.clear();
          for (size_t i = 0; i < vCols.size(); i++) {
            if (i) strLine.push_back(',');
            db2standDelField(pst, static_cast<int>(i), vCols[i], &strLine);
          }
          std::fwrite(strLine.data(), 1, strLine.size(), pfData);
          std::fputc('\n', pfData);
          llRows++;
        }
        /* a write that failed (a full disk) or a statement that ended in
           error is no export */
        bool boWriteFailed = std::ferror(pfData) != 0;
        if (std::fclose(pfData) != 0) boWriteFailed = true;
        int iSqlcode = 0;
        std::string strState, strText;
        if (iStep != SQLITE_DONE && db2standEngineFailure(sqlite3_extended_errcode(pdb), &iSqlcode, &strState, &strText)) {
          size_t ulBody = strText.find("  ");
          _setSqlca(pSqlca, iSqlcode, ulBody == std::string::npos ? strText : strText.substr(ulBody + 2));
        } else if (iStep != SQLITE_DONE && db2standDb2Error(sqlite3_errmsg(pdb), &err)) {
          size_t ulBody = err.strText.find("  ");
          _setSqlca(pSqlca, err.iSqlcode, ulBody == std::string::npos ? err.strText : err.strText.substr(ulBody + 2));
        } else if (iStep != SQLITE_DONE) {
          _setSqlca(pSqlca, -901, sqlite3_errmsg(pdb));
        } else if (boWriteFailed) {
          _setSqlca(pSqlca, -3002, "An I/O error occurred while writing to the output data file.");
        } else {
          _setSqlca(pSqlca, 0, "");
          if (pfMsg) std::fprintf(pfMsg, "SQL3105N  The Export utility has finished exporting \"%lld\" rows.\n",
                                  static_cast<long long>(llRows));
        }
      }
      if (pst) sqlite3_finalize(pst);
      if (pOut) pOut->rowsExported = llRows;
      sqlite3_close_v2(pdb);
    }
    if (pfMsg) {
      if (pSqlca && pSqlca->sqlcode != 0)
        std::fprintf(pfMsg, "SQL%04dN  %.*s\n", -pSqlca->sqlcode, pSqlca->sqlerrml, pSqlca->sqlerrmc);
      std::fclose(pfMsg);
    }
  }
  db2standLog("sqluexpr_api", _str(pcDataFile) + " \"" + strStatement + "\" " + _str(pcFileType),
              pSqlca ? pSqlca->sqlcode : 0);
}

int sqlaintp_api(char *pcBuffer, int16_t sBufferSize, int16_t sLineWidth, const char *pcMessageFile,
                 struct sqlca *pSqlca)
{
  (void)sLineWidth;
  (void)pcMessageFile;
  if (pcBuffer == nullptr || sBufferSize <= 0 || pSqlca == nullptr) return -1;
  int iCode = pSqlca->sqlcode < 0 ? -pSqlca->sqlcode : pSqlca->sqlcode;
  int iLen = std::snprintf(pcBuffer, static_cast<size_t>(sBufferSize), "SQL%04d%c  %.*s\n", iCode,
                           pSqlca->sqlcode < 0 ? 'N' : 'W', static_cast<int>(pSqlca->sqlerrml), pSqlca->sqlerrmc);
  return iLen < sBufferSize ? iLen : sBufferSize - 1;
}
