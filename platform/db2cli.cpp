/*
** db2cli.cpp
**   The Call Level Interface of the DB2 stand-in, answered by SQLite.
**   Environment, connection and statement handles are small integers in one
**   table per process.  A connection opens the database's store (db2stand);
**   a statement is prepared by SQLite after a few DB2 words have been made
**   acceptable to it, and its result columns are described in DB2 terms
**   from their declared types (CHAR(n), DECIMAL(p,s), DATE ...), so that
**   CHAR values come back blank-padded, DECIMAL values as text or packed
**   BCD, and NULL as indicator -1.  Every call leaves its diagnostic records
**   on its handle for SQLGetDiagRec.
*/
#include "platform/db2cli.h"
#include "platform/db2stand.h"
#include "platform/db2standcli.h"
#include "platform/db2standsel.h"

#include <pwd.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

struct DiagRecord {
  std::string strState;
  int iNative;
  std::string strText;
};

struct ParamBinding {
  SQLSMALLINT sValueType = 0;
  SQLSMALLINT sSqlType = 0;
  SQLPOINTER pValue = nullptr;
  SQLINTEGER iBufferLength = 0;
  SQLINTEGER *piIndicator = nullptr;
};

struct ColBinding {
  SQLSMALLINT sValueType = 0;
  SQLPOINTER pValue = nullptr;
  SQLINTEGER iBufferLength = 0;
  SQLINTEGER *piIndicator = nullptr;
};

struct Handle {
  int iType = 0;
  SQLHANDLE hParent = 0;
  std::vector<DiagRecord> vDiag;
  /* environment */
  bool boOutputNts = true;
  /* connection */
  sqlite3 *pdb = nullptr;
  std::string strDsn;
  std::string strUser;
  int iNode = 0;
  /* statement */
  sqlite3_stmt *pst = nullptr;
  std::vector<db2standColType> vCols;
  std::map<int, ParamBinding> mapParams;
  std::map<int, ColBinding> mapCols;
  bool boExecuted = false;
  bool boPending = false;
  bool boDone = false;
  SQLUINTEGER *puiRowsFetched = nullptr;
};

std::map<SQLHANDLE, std::unique_ptr<Handle>> gmapHandles;

/* Stores a length or indicator word: callers lay rows out freely, so the
   word need not be aligned. */
void _store(SQLINTEGER *pi, SQLINTEGER iValue)
{
  if (pi != nullptr) std::memcpy(pi, &iValue, sizeof iValue);
}
SQLHANDLE ghNext = 1;
std::map<SQLINTEGER, std::string> gmapLocators;
SQLINTEGER giNextLocator = 1;

Handle *_find(SQLHANDLE h, int iType)
{
  auto it = gmapHandles.find(h);
  if (it == gmapHandles.end() || it->second->iType != iType) return nullptr;
  return it->second.get();
}

void _diag(Handle *p, const std::string &strState, int iNative, const std::string &strText)
{
  p->vDiag.push_back({strState, iNative, strText});
}

/* Applies an injected failure to a handle; true when the call must fail. */
bool _injected(const char *pcCall, Handle *p, SQLRETURN *prc)
{
  db2standFailure f;
  if (!db2standInjected(pcCall, &f)) return false;
  if (p != nullptr) _diag(p, f.strState, f.iNative, f.strText);
  *prc = static_cast<SQLRETURN>(f.iRc);
  return true;
}

/* The common start of a call on a handle: finds it and clears its
   diagnostics; false (with *prc set) when an injected failure applies or
   the handle is not one of that type. */
bool _enter(const char *pcCall, SQLHANDLE h, int iType, Handle **pp, SQLRETURN *prc)
{
  *pp = _find(h, iType);
  if (*pp != nullptr) (*pp)->vDiag.clear();
  if (_injected(pcCall, *pp, prc)) return false;
  if (*pp == nullptr) {
    *prc = SQL_INVALID_HANDLE;
    return false;
  }
  return true;
}

std::string _text(const SQLCHAR *pc, SQLINTEGER iLength)
{
  if (pc == nullptr) return {};
  if (iLength == SQL_NTS || iLength < 0) return std::string(reinterpret_cast<const char *>(pc));
  return std::string(reinterpret_cast<const char *>(pc), static_cast<size_t>(iLength));
}

/* Reports an SQLite failure as DB2 would: SQLSTATE, SQLCODE and text. */
void _sqliteDiag(Handle *p, sqlite3 *pdb)
{
  std::string strMsg = pdb ? sqlite3_errmsg(pdb) : "unknown error";
  int iSqlcode = 0;
  std::string strState, strText;
  db2standSqlError err;
  if (pdb != nullptr && db2standEngineFailure(sqlite3_extended_errcode(pdb), &iSqlcode, &strState, &strText)) {
    _diag(p, strState, iSqlcode, strText);
  } else if (db2standDb2Error(strMsg, &err)) {
    _diag(p, err.strState, err.iSqlcode, err.strText);   /* raised by a db2_* function */
  } else if (strMsg.find("no such table") != std::string::npos) {
    std::string strName = strMsg.substr(strMsg.find(':') + 1);
    while (!strName.empty() && strName[0] == ' ') strName.erase(0, 1);
    _diag(p, "42704", -204, "SQL0204N  \"" + strName + "\" is an undefined name.  SQLSTATE=42704");
  } else if (strMsg.find("no such column") != std::string::npos) {
    std::string strName = strMsg.substr(strMsg.find(':') + 1);
    while (!strName.empty() && strName[0] == ' ') strName.erase(0, 1);
    _diag(p, "42703", -206, "SQL0206N  \"" + strName + "\" is not valid in the context where it is used.  SQLSTATE=42703");
  } else if (strMsg.find("no such function") != std::string::npos) {
    std::string strName = db2standUpper(strMsg.substr(strMsg.find(':') + 1));
    while (!strName.empty() && strName[0] == ' ') strName.erase(0, 1);
    _diag(p, "42884", -440, "SQL0440N  No authorized routine named \"" + strName +
                                "\" of type \"FUNCTION\" having compatible arguments was found.  SQLSTATE=42884");
  } else if (strMsg.find("syntax error") != std::string::npos) {
    _diag(p, "42601", -104, "SQL0104N  An unexpected token was found (" + strMsg + ").  SQLSTATE=42601");
  } else {
    _diag(p, "58004", -901, "SQL0901N  The SQL statement failed (" + strMsg + ").  SQLSTATE=58004");
  }
}

/* Copies a value into a character buffer the way CLI does: terminated
   unless the environment said otherwise, truncated with 01004. */
SQLRETURN _putChars(Handle *pStmt, bool boNts, const std::string &strValue, SQLPOINTER pValue,
                    SQLINTEGER iBufferLength, SQLINTEGER *piIndicator)
{
  SQLRETURN rc = SQL_SUCCESS;
  _store(piIndicator, static_cast<SQLINTEGER>(strValue.size()));
  if (pValue == nullptr) return rc;
  size_t ulRoom = iBufferLength > 0 ? static_cast<size_t>(iBufferLength) : 0;
  if (boNts && ulRoom > 0) ulRoom--;
  size_t ulCopy = strValue.size() < ulRoom ? strValue.size() : ulRoom;
  std::memcpy(pValue, strValue.data(), ulCopy);
  if (boNts && iBufferLength > 0) static_cast<char *>(pValue)[ulCopy] = 0;
  if (ulCopy < strValue.size()) {
    _diag(pStmt, "01004", 0, "Data truncated.  SQLSTATE=01004");
    rc = SQL_SUCCESS_WITH_INFO;
  }
  return rc;
}

bool _outputNts(Handle *pStmt)
{
  Handle *pDbc = _find(pStmt->hParent, SQL_HANDLE_DBC);
  Handle *pEnv = pDbc ? _find(pDbc->hParent, SQL_HANDLE_ENV) : nullptr;
  return pEnv ? pEnv->boOutputNts : true;
}

/* Fills one bound column from the current row. */
SQLRETURN _fillColumn(Handle *pStmt, int iCol, const ColBinding &b)
{
  const db2standColType &ct = pStmt->vCols[static_cast<size_t>(iCol - 1)];
  sqlite3_stmt *pst = pStmt->pst;
  int iIdx = iCol - 1;
  if (sqlite3_column_type(pst, iIdx) == SQLITE_NULL) {
    _store(b.piIndicator, SQL_NULL_DATA);
    return SQL_SUCCESS;
  }
  switch (b.sValueType) {
    case SQL_C_SHORT:
    case SQL_C_LONG:
    case SQL_C_SBIGINT: {
      long long ll = sqlite3_column_int64(pst, iIdx);
      if (sqlite3_column_type(pst, iIdx) == SQLITE_FLOAT) ll = static_cast<long long>(sqlite3_column_double(pst, iIdx));
      if ((b.sValueType == SQL_C_SHORT && (ll < -32768 || ll > 32767)) ||
          (b.sValueType == SQL_C_LONG && (ll < INT32_MIN || ll > INT32_MAX))) {
        _diag(pStmt, "22003", -413, "SQL0413N  Overflow occurred during numeric data type conversion.  SQLSTATE=22003");
        return SQL_ERROR;
      }
      if (b.pValue) {
        if (b.sValueType == SQL_C_SHORT) {
          int16_t s = static_cast<int16_t>(ll);
          std::memcpy(b.pValue, &s, 2);
        } else if (b.sValueType == SQL_C_LONG) {
          int32_t i = static_cast<int32_t>(ll);
          std::memcpy(b.pValue, &i, 4);
        } else {
          int64_t l = ll;
          std::memcpy(b.pValue, &l, 8);
        }
      }
      _store(b.piIndicator, b.sValueType == SQL_C_SHORT ? 2 : b.sValueType == SQL_C_LONG ? 4 : 8);
      return SQL_SUCCESS;
    }
    case SQL_C_DOUBLE:
    case SQL_C_FLOAT: {
      double d = ct.sSqlType == SQL_DECIMAL ? std::strtod(db2standColumnText(pst, iIdx, ct).c_str(), nullptr)
                                            : sqlite3_column_double(pst, iIdx);
      if (b.pValue) {
        if (b.sValueType == SQL_C_DOUBLE) {
          std::memcpy(b.pValue, &d, 8);
        } else {
          float f = static_cast<float>(d);
          std::memcpy(b.pValue, &f, 4);
        }
      }
      _store(b.piIndicator, b.sValueType == SQL_C_DOUBLE ? 8 : 4);
      return SQL_SUCCESS;
    }
    case SQL_C_CHAR:
      return _putChars(pStmt, _outputNts(pStmt), db2standColumnText(pst, iIdx, ct), b.pValue, b.iBufferLength,
                       b.piIndicator);
    case SQL_C_BINARY: {
      std::string strBytes = ct.sSqlType == SQL_DECIMAL ? db2standPacked(db2standColumnText(pst, iIdx, ct), ct)
                                                        : db2standColumnText(pst, iIdx, ct);
      return _putChars(pStmt, false, strBytes, b.pValue, b.iBufferLength, b.piIndicator);
    }
    case SQL_C_BLOB_LOCATOR:
    case SQL_C_CLOB_LOCATOR:
    case SQL_C_DBCLOB_LOCATOR: {
      SQLINTEGER iLoc = giNextLocator++;
      gmapLocators[iLoc] = db2standColumnText(pst, iIdx, ct);
      if (b.pValue) std::memcpy(b.pValue, &iLoc, 4);
      _store(b.piIndicator, 4);
      return SQL_SUCCESS;
    }
    default:
      _diag(pStmt, "HY003", -99999, "CLI0113E  Program type out of range.  SQLSTATE=HY003");
      return SQL_ERROR;
  }
}

std::string _hs(SQLHANDLE h) { return std::to_string(h); }

}  // namespace

SQLRETURN SQLAllocHandle(SQLSMALLINT sHandleType, SQLHANDLE hInput, SQLHANDLE *phOutput)
{
  SQLRETURN rc = SQL_SUCCESS;
  Handle *pParent = nullptr;
  if (sHandleType == SQL_HANDLE_DBC) pParent = _find(hInput, SQL_HANDLE_ENV);
  if (sHandleType == SQL_HANDLE_STMT) pParent = _find(hInput, SQL_HANDLE_DBC);
  if (phOutput) *phOutput = 0;
  if (_injected("SQLAllocHandle", pParent, &rc)) {
  } else if (phOutput == nullptr || sHandleType < SQL_HANDLE_ENV || sHandleType > SQL_HANDLE_STMT) {
    rc = SQL_ERROR;
  } else if (sHandleType != SQL_HANDLE_ENV && pParent == nullptr) {
    rc = SQL_INVALID_HANDLE;
  } else if (sHandleType == SQL_HANDLE_ENV && db2standInstanceHome().empty()) {
    rc = SQL_ERROR;  /* no instance: DB2 cannot set up its environment */
  } else if (sHandleType == SQL_HANDLE_STMT && pParent->pdb == nullptr) {
    _diag(pParent, "08003", -1024, "SQL1024N  A database connection does not exist.  SQLSTATE=08003");
    rc = SQL_ERROR;
  } else {
    auto p = std::make_unique<Handle>();
    p->iType = sHandleType;
    p->hParent = hInput;
    SQLHANDLE h = ghNext++;
    gmapHandles[h] = std::move(p);
    *phOutput = h;
  }
  db2standLog("SQLAllocHandle", std::to_string(sHandleType) + " " + _hs(hInput) + " " +
                                    (phOutput ? _hs(*phOutput) : "-"), rc);
  return rc;
}

SQLRETURN SQLFreeHandle(SQLSMALLINT sHandleType, SQLHANDLE hHandle)
{
  SQLRETURN rc = SQL_SUCCESS;
  Handle *p = _find(hHandle, sHandleType);
  if (_injected("SQLFreeHandle", p, &rc)) {
  } else if (p == nullptr) {
    rc = SQL_INVALID_HANDLE;
  } else {
    if (p->pst) sqlite3_finalize(p->pst);
    if (p->pdb) sqlite3_close_v2(p->pdb);
    /* children of a freed handle go with it */
    for (auto it = gmapHandles.begin(); it != gmapHandles.end();) {
      if (it->second->hParent == hHandle && it->second->iType > sHandleType) {
        if (it->second->pst) sqlite3_finalize(it->second->pst);
        if (it->second->pdb) sqlite3_close_v2(it->second->pdb);
        it = gmapHandles.erase(it);
      } else {
        ++it;
      }
    }
    gmapHandles.erase(hHandle);
  }
  db2standLog("SQLFreeHandle", std::to_string(sHandleType) + " " + _hs(hHandle), rc);
  return rc;
}

SQLRETURN SQLSetEnvAttr(SQLHENV hEnv, SQLINTEGER iAttribute, SQLPOINTER pValue, SQLINTEGER iLength)
{
  (void)iLength;
  SQLRETURN rc = SQL_SUCCESS;
  Handle *p = nullptr;
  if (!_enter("SQLSetEnvAttr", hEnv, SQL_HANDLE_ENV, &p, &rc)) {
  } else if (iAttribute == SQL_ATTR_OUTPUT_NTS) {
    p->boOutputNts = reinterpret_cast<intptr_t>(pValue) != 0;
  } else {
    _diag(p, "HY092", -99999, "CLI0125E  Option type out of range.  SQLSTATE=HY092");
    rc = SQL_ERROR;
  }
  db2standLog("SQLSetEnvAttr", _hs(hEnv) + " " + std::to_string(iAttribute) + " " +
                                   std::to_string(reinterpret_cast<intptr_t>(pValue)), rc);
  return rc;
}

SQLRETURN SQLConnect(SQLHDBC hDbc, SQLCHAR *pcDsn, SQLSMALLINT sDsnLength, SQLCHAR *pcUser,
                     SQLSMALLINT sUserLength, SQLCHAR *pcPassword, SQLSMALLINT sPasswordLength)
{
  SQLRETURN rc = SQL_SUCCESS;
  Handle *p = nullptr;
  std::string strDsn = _text(pcDsn, sDsnLength);
  std::string strUser = pcUser ? _text(pcUser, sUserLength) : std::string();
  std::string strPassword = pcPassword ? _text(pcPassword, sPasswordLength) : std::string();
  if (!_enter("SQLConnect", hDbc, SQL_HANDLE_DBC, &p, &rc)) {
  } else if (p->pdb != nullptr) {
    _diag(p, "08002", -1427, "SQL1427N  An instance attachment already exists.  SQLSTATE=08002");
    rc = SQL_ERROR;
  } else {
    db2standDbEntry entry;
    std::string strError;
    int iCode = 0;
    if (!db2standFindDatabase(strDsn, &entry)) {
      _diag(p, "08001", -1013, "SQL1013N  The database alias name or database name \"" + db2standUpper(strDsn) +
                                   "\" could not be found.  SQLSTATE=42705");
      rc = SQL_ERROR;
    } else if ((p->pdb = db2standOpenStore(entry, &strError, &iCode)) == nullptr) {
      int iSqlcode = 0;
      std::string strState, strText;
      if (db2standEngineFailure(iCode, &iSqlcode, &strState, &strText))
        _diag(p, strState, iSqlcode, strText);
      else
        _diag(p, "58030", -1036, "SQL1036C  An I/O error occurred while accessing the database (" + strError +
                                     ").  SQLSTATE=58030");
      rc = SQL_ERROR;
    } else if (!strUser.empty() && !db2standCheckUser(p->pdb, strUser, strPassword)) {
      sqlite3_close_v2(p->pdb);
      p->pdb = nullptr;
      _diag(p, "08001", -30082,
            "SQL30082N  Security processing failed with reason \"24\" (\"USERNAME AND/OR PASSWORD INVALID\").  "
            "SQLSTATE=08001");
      rc = SQL_ERROR;
    } else {
      p->strDsn = db2standUpper(strDsn);
      if (strUser.empty()) {
        struct passwd *ppw = getpwuid(geteuid());
        strUser = ppw ? ppw->pw_name : "";
      }
      p->strUser = db2standUpper(strUser);
      db2standSetCurrent(entry, p->strUser);
    }
  }
  db2standLog("SQLConnect", _hs(hDbc) + " " + strDsn + " " + (pcUser ? strUser : "-"), rc);
  return rc;
}

SQLRETURN SQLDisconnect(SQLHDBC hDbc)
{
  SQLRETURN rc = SQL_SUCCESS;
  Handle *p = nullptr;
  if (!_enter("SQLDisconnect", hDbc, SQL_HANDLE_DBC, &p, &rc)) {
  } else if (p->pdb == nullptr) {
    _diag(p, "08003", -1024, "SQL1024N  A database connection does not exist.  SQLSTATE=08003");
    rc = SQL_ERROR;
  } else {
    for (auto &kv : gmapHandles)
      if (kv.second->iType == SQL_HANDLE_STMT && kv.second->hParent == hDbc && kv.second->pst) {
        sqlite3_finalize(kv.second->pst);
        kv.second->pst = nullptr;
      }
    sqlite3_close_v2(p->pdb);
    p->pdb = nullptr;
    p->strDsn.clear();
  }
  db2standLog("SQLDisconnect", _hs(hDbc), rc);
  return rc;
}

SQLRETURN SQLSetConnectAttr(SQLHDBC hDbc, SQLINTEGER iAttribute, SQLPOINTER pValue, SQLINTEGER iLength)
{
  (void)iLength;
  SQLRETURN rc = SQL_SUCCESS;
  Handle *p = nullptr;
  if (!_enter("SQLSetConnectAttr", hDbc, SQL_HANDLE_DBC, &p, &rc)) {
  } else if (iAttribute == SQL_ATTR_CONNECT_NODE) {
    intptr_t iNode = reinterpret_cast<intptr_t>(pValue);
    if (iNode < 0 || iNode > 999) {
      _diag(p, "HY024", -99999, "CLI0191E  Invalid attribute value.  SQLSTATE=HY024");
      rc = SQL_ERROR;
    } else {
      p->iNode = static_cast<int>(iNode);
    }
  } else {
    _diag(p, "HY092", -99999, "CLI0125E  Option type out of range.  SQLSTATE=HY092");
    rc = SQL_ERROR;
  }
  db2standLog("SQLSetConnectAttr", _hs(hDbc) + " " + std::to_string(iAttribute) + " " +
                                       std::to_string(reinterpret_cast<intptr_t>(pValue)), rc);
  return rc;
}

SQLRETURN SQLGetConnectAttr(SQLHDBC hDbc, SQLINTEGER iAttribute, SQLPOINTER pValue, SQLINTEGER iBufferLength,
                            SQLINTEGER *piLength)
{
  (void)iBufferLength;
  SQLRETURN rc = SQL_SUCCESS;
  Handle *p = nullptr;
  if (!_enter("SQLGetConnectAttr", hDbc, SQL_HANDLE_DBC, &p, &rc)) {
  } else if (iAttribute == SQL_ATTR_CONNECT_NODE) {
    int32_t i = p->iNode;
    if (pValue) std::memcpy(pValue, &i, 4);
    _store(piLength, 4);
  } else {
    _diag(p, "HY092", -99999, "CLI0125E  Option type out of range.  SQLSTATE=HY092");
    rc = SQL_ERROR;
  }
  db2standLog("SQLGetConnectAttr", _hs(hDbc) + " " + std::to_string(iAttribute), rc);
  return rc;
}

SQLRETURN SQLGetInfo(SQLHDBC hDbc, SQLUSMALLINT usInfoType, SQLPOINTER pValue, SQLSMALLINT sBufferLength,
                     SQLSMALLINT *psLength)
{
  SQLRETURN rc = SQL_SUCCESS;
  Handle *p = nullptr;
  if (!_enter("SQLGetInfo", hDbc, SQL_HANDLE_DBC, &p, &rc)) {
  } else if (usInfoType == SQL_DATA_SOURCE_NAME) {
    SQLINTEGER iLen = 0;
    rc = _putChars(p, true, p->strDsn, pValue, sBufferLength, &iLen);
    if (psLength) *psLength = static_cast<SQLSMALLINT>(iLen);
  } else {
    _diag(p, "HY096", -99999, "CLI0145E  Invalid information type.  SQLSTATE=HY096");
    rc = SQL_ERROR;
  }
  db2standLog("SQLGetInfo", _hs(hDbc) + " " + std::to_string(usInfoType), rc);
  return rc;
}

SQLRETURN SQLSetStmtAttr(SQLHSTMT hStmt, SQLINTEGER iAttribute, SQLPOINTER pValue, SQLINTEGER iLength)
{
  (void)iLength;
  SQLRETURN rc = SQL_SUCCESS;
  Handle *p = nullptr;
  if (!_enter("SQLSetStmtAttr", hStmt, SQL_HANDLE_STMT, &p, &rc)) {
  } else if (iAttribute == SQL_ATTR_ROWS_FETCHED_PTR) {
    p->puiRowsFetched = static_cast<SQLUINTEGER *>(pValue);
  } else {
    _diag(p, "HY092", -99999, "CLI0125E  Option type out of range.  SQLSTATE=HY092");
    rc = SQL_ERROR;
  }
  db2standLog("SQLSetStmtAttr", _hs(hStmt) + " " + std::to_string(iAttribute), rc);
  return rc;
}

SQLRETURN SQLPrepare(SQLHSTMT hStmt, SQLCHAR *pcText, SQLINTEGER iTextLength)
{
  SQLRETURN rc = SQL_SUCCESS;
  Handle *p = nullptr;
  std::string strText = _text(pcText, iTextLength);
  if (!_enter("SQLPrepare", hStmt, SQL_HANDLE_STMT, &p, &rc)) {
  } else {
    Handle *pDbc = _find(p->hParent, SQL_HANDLE_DBC);
    if (p->pst) sqlite3_finalize(p->pst);
    p->pst = nullptr;
    p->vCols.clear();
    p->mapCols.clear();
    p->boExecuted = p->boPending = p->boDone = false;
    db2standSqlError err;
    if (pDbc == nullptr || pDbc->pdb == nullptr) {
      _diag(p, "08003", -1024, "SQL1024N  A database connection does not exist.  SQLSTATE=08003");
      rc = SQL_ERROR;
    } else if (!db2standPrepareSelect(pDbc->pdb, strText, pDbc->strUser, &p->pst, &p->vCols, &err)) {
      if (err.iSqlcode != 0) _diag(p, err.strState, err.iSqlcode, err.strText);
      else _sqliteDiag(p, pDbc->pdb);
      p->pst = nullptr;
      rc = SQL_ERROR;
    }
  }
  db2standLog("SQLPrepare", _hs(hStmt) + " \"" + strText + "\"", rc);
  return rc;
}

SQLRETURN SQLBindParameter(SQLHSTMT hStmt, SQLUSMALLINT usNumber, SQLSMALLINT sIoType, SQLSMALLINT sValueType,
                           SQLSMALLINT sSqlType, SQLUINTEGER uiColumnSize, SQLSMALLINT sDecimalDigits,
                           SQLPOINTER pValue, SQLINTEGER iBufferLength, SQLINTEGER *piIndicator)
{
  (void)uiColumnSize;
  (void)sDecimalDigits;
  SQLRETURN rc = SQL_SUCCESS;
  Handle *p = nullptr;
  if (!_enter("SQLBindParameter", hStmt, SQL_HANDLE_STMT, &p, &rc)) {
  } else if (sIoType != SQL_PARAM_INPUT || usNumber == 0) {
    _diag(p, "HY105", -99999, "CLI0133E  Invalid parameter type.  SQLSTATE=HY105");
    rc = SQL_ERROR;
  } else {
    p->mapParams[usNumber] = {sValueType, sSqlType, pValue, iBufferLength, piIndicator};
  }
  db2standLog("SQLBindParameter", _hs(hStmt) + " " + std::to_string(usNumber) + " " + std::to_string(sValueType) +
                                      " " + std::to_string(sSqlType), rc);
  return rc;
}

SQLRETURN SQLExecute(SQLHSTMT hStmt)
{
  SQLRETURN rc = SQL_SUCCESS;
  Handle *p = nullptr;
  if (!_enter("SQLExecute", hStmt, SQL_HANDLE_STMT, &p, &rc)) {
  } else if (p->pst == nullptr) {
    _diag(p, "HY010", -99999, "CLI0115E  Invalid cursor state.  SQLSTATE=HY010");
    rc = SQL_ERROR;
  } else {
    Handle *pDbc = _find(p->hParent, SQL_HANDLE_DBC);
    sqlite3_reset(p->pst);
    sqlite3_clear_bindings(p->pst);
    int iParams = sqlite3_bind_parameter_count(p->pst);
    for (int i = 1; i <= iParams && rc == SQL_SUCCESS; i++) {
      auto it = p->mapParams.find(i);
      if (it == p->mapParams.end()) {
        _diag(p, "07002", -313, "SQL0313N  The number of host variables is not the same as the number of parameter "
                                "markers.  SQLSTATE=07002");
        rc = SQL_ERROR;
        break;
      }
      db2standBindParam(p->pst, i, it->second.sValueType, it->second.sSqlType, it->second.pValue,
                        it->second.iBufferLength, it->second.piIndicator);
    }
    if (rc == SQL_SUCCESS) {
      int iStep = sqlite3_step(p->pst);
      p->boExecuted = true;
      p->boPending = iStep == SQLITE_ROW;
      p->boDone = iStep == SQLITE_DONE;
      if (iStep != SQLITE_ROW && iStep != SQLITE_DONE) {
        _sqliteDiag(p, pDbc ? pDbc->pdb : nullptr);
        p->boExecuted = false;
        rc = SQL_ERROR;
      }
    }
  }
  db2standLog("SQLExecute", _hs(hStmt), rc);
  return rc;
}

SQLRETURN SQLNumResultCols(SQLHSTMT hStmt, SQLSMALLINT *psCount)
{
  SQLRETURN rc = SQL_SUCCESS;
  Handle *p = nullptr;
  if (!_enter("SQLNumResultCols", hStmt, SQL_HANDLE_STMT, &p, &rc)) {
  } else if (p->pst == nullptr) {
    _diag(p, "HY010", -99999, "CLI0125E  Function sequence error.  SQLSTATE=HY010");
    rc = SQL_ERROR;
  } else if (psCount) {
    *psCount = static_cast<SQLSMALLINT>(p->vCols.size());
  }
  db2standLog("SQLNumResultCols", _hs(hStmt), rc);
  return rc;
}

SQLRETURN SQLDescribeCol(SQLHSTMT hStmt, SQLUSMALLINT usColumn, SQLCHAR *pcName, SQLSMALLINT sNameMax,
                         SQLSMALLINT *psNameLength, SQLSMALLINT *psSqlType, SQLUINTEGER *puiColumnSize,
                         SQLSMALLINT *psDecimalDigits, SQLSMALLINT *psNullable)
{
  SQLRETURN rc = SQL_SUCCESS;
  Handle *p = nullptr;
  if (!_enter("SQLDescribeCol", hStmt, SQL_HANDLE_STMT, &p, &rc)) {
  } else if (usColumn == 0 || usColumn > p->vCols.size()) {
    _diag(p, "07009", -99999, "CLI0111E  Invalid column number.  SQLSTATE=07009");
    rc = SQL_ERROR;
  } else {
    const db2standColType &ct = p->vCols[usColumn - 1u];
    SQLINTEGER iLen = 0;
    rc = _putChars(p, true, ct.strName, pcName, sNameMax, &iLen);
    if (psNameLength) *psNameLength = static_cast<SQLSMALLINT>(iLen);
    if (psSqlType) *psSqlType = ct.sSqlType;
    if (puiColumnSize) *puiColumnSize = ct.uiSize;
    if (psDecimalDigits) *psDecimalDigits = ct.sScale;
    if (psNullable) *psNullable = ct.boNullable ? SQL_NULLABLE : SQL_NO_NULLS;
  }
  db2standLog("SQLDescribeCol", _hs(hStmt) + " " + std::to_string(usColumn), rc);
  return rc;
}

SQLRETURN SQLColAttribute(SQLHSTMT hStmt, SQLUSMALLINT usColumn, SQLUSMALLINT usField, SQLPOINTER pCharAttr,
                          SQLSMALLINT sBufferLength, SQLSMALLINT *psStringLength, SQLPOINTER pNumericAttr)
{
  (void)pCharAttr;
  (void)sBufferLength;
  SQLRETURN rc = SQL_SUCCESS;
  Handle *p = nullptr;
  if (!_enter("SQLColAttribute", hStmt, SQL_HANDLE_STMT, &p, &rc)) {
  } else if (usColumn == 0 || usColumn > p->vCols.size()) {
    _diag(p, "07009", -99999, "CLI0111E  Invalid column number.  SQLSTATE=07009");
    rc = SQL_ERROR;
  } else {
    const db2standColType &ct = p->vCols[usColumn - 1u];
    int32_t iValue = 0;
    if (usField == SQL_DESC_OCTET_LENGTH) iValue = ct.iOctetLength;
    else if (usField == SQL_DESC_NULLABLE) iValue = ct.boNullable ? SQL_NULLABLE : SQL_NO_NULLS;
    else if (usField == SQL_DESC_UNNAMED) iValue = ct.boUnnamed ? SQL_UNNAMED : SQL_NAMED;
    else {
      _diag(p, "HY091", -99999, "CLI0149E  Invalid descriptor field identifier.  SQLSTATE=HY091");
      rc = SQL_ERROR;
    }
    if (rc == SQL_SUCCESS && pNumericAttr) std::memcpy(pNumericAttr, &iValue, 4);
    if (psStringLength) *psStringLength = 0;
  }
  db2standLog("SQLColAttribute", _hs(hStmt) + " " + std::to_string(usColumn) + " " + std::to_string(usField), rc);
  return rc;
}

SQLRETURN SQLBindCol(SQLHSTMT hStmt, SQLUSMALLINT usColumn, SQLSMALLINT sValueType, SQLPOINTER pValue,
                     SQLINTEGER iBufferLength, SQLINTEGER *piIndicator)
{
  SQLRETURN rc = SQL_SUCCESS;
  Handle *p = nullptr;
  if (!_enter("SQLBindCol", hStmt, SQL_HANDLE_STMT, &p, &rc)) {
  } else if (usColumn == 0 || usColumn > p->vCols.size()) {
    _diag(p, "07009", -99999, "CLI0111E  Invalid column number.  SQLSTATE=07009");
    rc = SQL_ERROR;
  } else {
    p->mapCols[usColumn] = {sValueType, pValue, iBufferLength, piIndicator};
  }
  db2standLog("SQLBindCol", _hs(hStmt) + " " + std::to_string(usColumn) + " " + std::to_string(sValueType) + " " +
                                std::to_string(iBufferLength), rc);
  return rc;
}

SQLRETURN SQLFetch(SQLHSTMT hStmt)
{
  SQLRETURN rc = SQL_SUCCESS;
  Handle *p = nullptr;
  if (!_enter("SQLFetch", hStmt, SQL_HANDLE_STMT, &p, &rc)) {
  } else if (!p->boExecuted || p->pst == nullptr) {
    _diag(p, "24000", -99999, "CLI0115E  Invalid cursor state.  SQLSTATE=24000");
    rc = SQL_ERROR;
  } else {
    bool boRow = false;
    if (p->boPending) {
      boRow = true;
      p->boPending = false;
    } else if (!p->boDone) {
      int iStep = sqlite3_step(p->pst);
      if (iStep == SQLITE_ROW) boRow = true;
      else if (iStep == SQLITE_DONE) p->boDone = true;
      else {
        Handle *pDbc = _find(p->hParent, SQL_HANDLE_DBC);
        _sqliteDiag(p, pDbc ? pDbc->pdb : nullptr);
        rc = SQL_ERROR;
      }
    }
    if (rc == SQL_SUCCESS && !boRow) rc = SQL_NO_DATA_FOUND;
    if (boRow) {
      for (const auto &kv : p->mapCols) {
        SQLRETURN rcCol = _fillColumn(p, kv.first, kv.second);
        if (rcCol == SQL_ERROR) rc = SQL_ERROR;
        else if (rcCol == SQL_SUCCESS_WITH_INFO && rc == SQL_SUCCESS) rc = SQL_SUCCESS_WITH_INFO;
      }
    }
    if (p->puiRowsFetched) {
      SQLUINTEGER ui = boRow ? 1 : 0;
      std::memcpy(p->puiRowsFetched, &ui, sizeof ui);
    }
  }
  db2standLog("SQLFetch", _hs(hStmt), rc);
  return rc;
}

SQLRETURN SQLGetLength(SQLHSTMT hStmt, SQLSMALLINT sLocatorType, SQLINTEGER iLocator, SQLINTEGER *piLength,
                       SQLINTEGER *piIndicator)
{
  (void)sLocatorType;
  SQLRETURN rc = SQL_SUCCESS;
  Handle *p = nullptr;
  auto it = gmapLocators.find(iLocator);
  if (!_enter("SQLGetLength", hStmt, SQL_HANDLE_STMT, &p, &rc)) {
  } else if (it == gmapLocators.end()) {
    _diag(p, "0F001", -423, "SQL0423N  Locator variable is invalid.  SQLSTATE=0F001");
    rc = SQL_ERROR;
  } else {
    SQLINTEGER iLen = static_cast<SQLINTEGER>(it->second.size());
    if (sLocatorType == SQL_C_DBCLOB_LOCATOR) iLen /= 2;
    _store(piLength, iLen);
    _store(piIndicator, 4);
  }
  db2standLog("SQLGetLength", _hs(hStmt) + " " + std::to_string(iLocator), rc);
  return rc;
}

SQLRETURN SQLGetSubString(SQLHSTMT hStmt, SQLSMALLINT sLocatorType, SQLINTEGER iLocator, SQLUINTEGER uiPosition,
                          SQLUINTEGER uiLength, SQLSMALLINT sTargetType, SQLPOINTER pValue,
                          SQLINTEGER iBufferLength, SQLINTEGER *piLength, SQLINTEGER *piIndicator)
{
  (void)sLocatorType;
  SQLRETURN rc = SQL_SUCCESS;
  Handle *p = nullptr;
  auto it = gmapLocators.find(iLocator);
  if (!_enter("SQLGetSubString", hStmt, SQL_HANDLE_STMT, &p, &rc)) {
  } else if (it == gmapLocators.end() || uiPosition == 0) {
    _diag(p, "0F001", -423, "SQL0423N  Locator variable is invalid.  SQLSTATE=0F001");
    rc = SQL_ERROR;
  } else if (uiPosition > it->second.size()) {
    rc = SQL_NO_DATA_FOUND;
  } else {
    std::string strPiece = it->second.substr(uiPosition - 1, uiLength);
    rc = _putChars(p, sTargetType == SQL_C_CHAR, strPiece, pValue, iBufferLength, piLength);
    _store(piIndicator, static_cast<SQLINTEGER>(strPiece.size()));
  }
  db2standLog("SQLGetSubString", _hs(hStmt) + " " + std::to_string(iLocator) + " " + std::to_string(uiPosition) +
                                     " " + std::to_string(uiLength), rc);
  return rc;
}

SQLRETURN SQLGetDiagRec(SQLSMALLINT sHandleType, SQLHANDLE hHandle, SQLSMALLINT sRecord, SQLCHAR *pcState,
                        SQLINTEGER *piNative, SQLCHAR *pcText, SQLSMALLINT sBufferLength,
                        SQLSMALLINT *psTextLength)
{
  Handle *p = _find(hHandle, sHandleType);
  if (p == nullptr) return SQL_INVALID_HANDLE;
  if (sRecord < 1 || static_cast<size_t>(sRecord) > p->vDiag.size()) return SQL_NO_DATA_FOUND;
  const DiagRecord &d = p->vDiag[static_cast<size_t>(sRecord - 1)];
  if (pcState) {
    std::memset(pcState, 0, 6);
    std::memcpy(pcState, d.strState.data(), d.strState.size() < 5 ? d.strState.size() : 5);
  }
  if (piNative) *piNative = d.iNative;
  size_t ulCopy = 0;
  if (pcText && sBufferLength > 0) {
    ulCopy = d.strText.size() < static_cast<size_t>(sBufferLength - 1) ? d.strText.size()
                                                                       : static_cast<size_t>(sBufferLength - 1);
    std::memcpy(pcText, d.strText.data(), ulCopy);
    pcText[ulCopy] = 0;
  }
  if (psTextLength) *psTextLength = static_cast<SQLSMALLINT>(d.strText.size());
  return SQL_SUCCESS;  /* a cut text is still a record: callers loop on 0 */
}
