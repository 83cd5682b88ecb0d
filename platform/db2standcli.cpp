/*
** db2standcli.cpp
**   Statement translation, column description, value forms and users of
**   the DB2 stand-in (see db2standcli.h).
*/
#include "platform/db2standcli.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

db2standDbEntry gentryCurrent;
std::string gstrUserCurrent;
bool gboCurrent = false;

/* Size with an optional K, M or G multiplier, as in BLOB(1M). */
SQLUINTEGER _size(const std::string &str)
{
  char *pcEnd = nullptr;
  unsigned long ul = std::strtoul(str.c_str(), &pcEnd, 10);
  if (pcEnd && (*pcEnd == 'K' || *pcEnd == 'k')) ul *= 1024UL;
  if (pcEnd && (*pcEnd == 'M' || *pcEnd == 'm')) ul *= 1024UL * 1024UL;
  if (pcEnd && (*pcEnd == 'G' || *pcEnd == 'g')) ul *= 1024UL * 1024UL * 1024UL;
  if (ul > 2147483647UL) ul = 2147483647UL;
  return static_cast<SQLUINTEGER>(ul);
}

bool _startsWith(const std::string &str, const char *pc)
{
  return str.compare(0, std::strlen(pc), pc) == 0;
}

}  // namespace

db2standColType db2standParseType(const std::string &strDeclIn)
{
  std::string strDecl = db2standUpper(strDeclIn);
  db2standColType ct;
  std::string strArgs;
  size_t ulOpen = strDecl.find('(');
  size_t ulClose = strDecl.find(')');
  if (ulOpen != std::string::npos && ulClose != std::string::npos && ulClose > ulOpen)
    strArgs = strDecl.substr(ulOpen + 1, ulClose - ulOpen - 1);
  SQLUINTEGER uiArg = strArgs.empty() ? 0 : _size(strArgs);
  bool boBit = strDecl.find("FOR BIT DATA") != std::string::npos;
  auto set = [&](SQLSMALLINT sType, SQLUINTEGER uiSize, int32_t iOctets) {
    ct.sSqlType = sType;
    ct.uiSize = uiSize;
    ct.iOctetLength = iOctets;
  };
  if (_startsWith(strDecl, "SMALLINT")) set(SQL_SMALLINT, 5, 2);
  else if (_startsWith(strDecl, "BIGINT")) set(SQL_BIGINT, 19, 8);
  else if (_startsWith(strDecl, "INT")) set(SQL_INTEGER, 10, 4);
  else if (_startsWith(strDecl, "DOUBLE")) set(SQL_DOUBLE, 15, 8);
  else if (_startsWith(strDecl, "FLOAT")) set(uiArg != 0 && uiArg <= 24 ? SQL_REAL : SQL_DOUBLE, uiArg != 0 && uiArg <= 24 ? 7 : 15, uiArg != 0 && uiArg <= 24 ? 4 : 8);
  else if (_startsWith(strDecl, "REAL")) set(SQL_REAL, 7, 4);
  else if (_startsWith(strDecl, "DEC") || _startsWith(strDecl, "NUMERIC")) {
    SQLUINTEGER uiPrec = uiArg ? uiArg : 5;
    size_t ulComma = strArgs.find(',');
    ct.sScale = ulComma == std::string::npos ? 0 : static_cast<SQLSMALLINT>(std::atoi(strArgs.c_str() + ulComma + 1));
    set(SQL_DECIMAL, uiPrec, static_cast<int32_t>(uiPrec / 2 + 1));
  } else if (_startsWith(strDecl, "LONG VARCHAR")) set(boBit ? SQL_BINARY : SQL_LONGVARCHAR, 32700, 32700);
  else if (_startsWith(strDecl, "LONG VARGRAPHIC")) set(SQL_LONGVARGRAPHIC, 16350, 32700);
  else if (_startsWith(strDecl, "VARCHAR")) set(boBit ? SQL_BINARY : SQL_VARCHAR, uiArg, static_cast<int32_t>(uiArg));
  else if (_startsWith(strDecl, "CHAR")) set(boBit ? SQL_BINARY : SQL_CHAR, uiArg ? uiArg : 1, static_cast<int32_t>(uiArg ? uiArg : 1));
  else if (_startsWith(strDecl, "VARGRAPHIC")) set(SQL_VARGRAPHIC, uiArg, static_cast<int32_t>(2 * uiArg));
  else if (_startsWith(strDecl, "GRAPHIC")) set(SQL_GRAPHIC, uiArg ? uiArg : 1, static_cast<int32_t>(2 * (uiArg ? uiArg : 1)));
  else if (_startsWith(strDecl, "TIMESTAMP")) set(SQL_TYPE_TIMESTAMP, 26, 26);
  else if (_startsWith(strDecl, "DATE")) set(SQL_TYPE_DATE, 10, 10);
  else if (_startsWith(strDecl, "TIME")) set(SQL_TYPE_TIME, 8, 8);
  else if (_startsWith(strDecl, "BLOB")) set(SQL_BLOB, uiArg ? uiArg : 1048576, static_cast<int32_t>(uiArg ? uiArg : 1048576));
  else if (_startsWith(strDecl, "CLOB")) set(SQL_CLOB, uiArg ? uiArg : 1048576, static_cast<int32_t>(uiArg ? uiArg : 1048576));
  else if (_startsWith(strDecl, "DBCLOB")) set(SQL_DBCLOB, uiArg ? uiArg : 1048576, static_cast<int32_t>(2 * (uiArg ? uiArg : 1048576)));
  return ct;
}

std::string db2standTranslate(const std::string &strSql)
{
  /* Quote the identifiers that SQLite takes for keywords, outside strings
     and delimited names. */
  static const char *const apcWords[] = {"DEFAULT", nullptr};
  std::string strOut;
  size_t i = 0;
  while (i < strSql.size()) {
    char c = strSql[i];
    if (c == '\'' || c == '"') {
      size_t j = i + 1;
      while (j < strSql.size()) {
        if (strSql[j] == c) {
          if (j + 1 < strSql.size() && strSql[j + 1] == c) {
            j += 2;
            continue;
          }
          break;
        }
        j++;
      }
      strOut.append(strSql, i, j + 1 - i);
      i = j + 1;
    } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      size_t j = i;
      while (j < strSql.size() && (std::isalnum(static_cast<unsigned char>(strSql[j])) || strSql[j] == '_' ||
                                   strSql[j] == '$' || strSql[j] == '#' || strSql[j] == '@'))
        j++;
      std::string strWord = strSql.substr(i, j - i);
      bool boQuote = false;
      for (const char *const *pp = apcWords; *pp; pp++)
        if (db2standUpper(strWord) == *pp) boQuote = true;
      if (boQuote) {
        strOut += '"';
        strOut += db2standUpper(strWord);
        strOut += '"';
      } else {
        strOut += strWord;
      }
      i = j;
    } else {
      strOut += c;
      i++;
    }
  }
  return strOut;
}

void db2standDescribe(sqlite3 *pdb, sqlite3_stmt *pst, std::vector<db2standColType> *pvCols)
{
  pvCols->clear();
  int iCount = sqlite3_column_count(pst);
  for (int i = 0; i < iCount; i++) {
    const char *pcDecl = sqlite3_column_decltype(pst, i);
    db2standColType ct = db2standParseType(pcDecl ? pcDecl : "VARCHAR(254)");
    const char *pcName = sqlite3_column_name(pst, i);
    const char *pcOrigin = sqlite3_column_origin_name(pst, i);
    ct.strName = pcName ? pcName : "";
    ct.boUnnamed = pcOrigin == nullptr && ct.strName.find('(') != std::string::npos;
    if (pcOrigin != nullptr) {
      int iNotNull = 0;
      const char *pcDb = sqlite3_column_database_name(pst, i);
      const char *pcTable = sqlite3_column_table_name(pst, i);
      if (sqlite3_table_column_metadata(pdb, pcDb, pcTable, pcOrigin, nullptr, nullptr, &iNotNull, nullptr,
                                        nullptr) == SQLITE_OK)
        ct.boNullable = iNotNull == 0;
    }
    pvCols->push_back(ct);
  }
}

std::string db2standColumnText(sqlite3_stmt *pst, int iIdx, const db2standColType &ct)
{
  std::string str;
  int iType = sqlite3_column_type(pst, iIdx);
  if (ct.sSqlType == SQL_DECIMAL && (iType == SQLITE_INTEGER || iType == SQLITE_FLOAT)) {
    char ac[64];
    std::snprintf(ac, sizeof ac, "%.*f", ct.sScale, sqlite3_column_double(pst, iIdx));
    return ac;
  }
  if (iType == SQLITE_BLOB) {
    const void *pv = sqlite3_column_blob(pst, iIdx);
    int iLen = sqlite3_column_bytes(pst, iIdx);
    if (pv && iLen > 0) str.assign(static_cast<const char *>(pv), static_cast<size_t>(iLen));
  } else if (iType == SQLITE_FLOAT && (ct.sSqlType == SQL_DOUBLE || ct.sSqlType == SQL_REAL ||
                                       ct.sSqlType == SQL_FLOAT)) {
    char ac[64];
    std::snprintf(ac, sizeof ac, "%.15E", sqlite3_column_double(pst, iIdx));
    str = ac;
  } else {
    const unsigned char *puc = sqlite3_column_text(pst, iIdx);
    int iLen = sqlite3_column_bytes(pst, iIdx);
    if (puc && iLen > 0) str.assign(reinterpret_cast<const char *>(puc), static_cast<size_t>(iLen));
  }
  if ((ct.sSqlType == SQL_CHAR || ct.sSqlType == SQL_BINARY) && str.size() < ct.uiSize)
    str.append(ct.uiSize - str.size(), ct.sSqlType == SQL_CHAR ? ' ' : '\0');
  return str;
}

std::string db2standPacked(const std::string &strDecimal, const db2standColType &ct)
{
  bool boNeg = false;
  std::string strInt, strFrac;
  bool boPoint = false;
  for (char c : strDecimal) {
    if (c == '-') boNeg = true;
    else if (c == '.' || c == ',') boPoint = true;
    else if (std::isdigit(static_cast<unsigned char>(c))) (boPoint ? strFrac : strInt) += c;
  }
  size_t ulScale = static_cast<size_t>(ct.sScale);
  size_t ulPrec = ct.uiSize;
  strFrac.resize(ulScale, '0');
  size_t ulIntDigits = ulPrec > ulScale ? ulPrec - ulScale : 0;
  while (strInt.size() > ulIntDigits) strInt.erase(0, 1);
  std::string strDigits = std::string(ulIntDigits - strInt.size(), '0') + strInt + strFrac;
  size_t ulBytes = ulPrec / 2 + 1;
  /* digits fill the nibbles right-aligned before the sign nibble */
  std::string strNibbles = std::string(ulBytes * 2 - 1 - strDigits.size(), '0') + strDigits;
  std::string strOut(ulBytes, '\0');
  for (size_t i = 0; i < ulBytes * 2 - 1; i++) {
    unsigned char uc = static_cast<unsigned char>(strNibbles[i] - '0');
    if (i % 2 == 0) strOut[i / 2] = static_cast<char>(uc << 4);
    else strOut[i / 2] = static_cast<char>(static_cast<unsigned char>(strOut[i / 2]) | uc);
  }
  bool boZero = strDigits.find_first_not_of('0') == std::string::npos;
  strOut[ulBytes - 1] = static_cast<char>(static_cast<unsigned char>(strOut[ulBytes - 1]) |
                                          (boNeg && !boZero ? 0x0D : 0x0C));
  return strOut;
}

void db2standBindParam(sqlite3_stmt *pst, int iIndex, SQLSMALLINT sValueType, SQLSMALLINT sSqlType,
                       SQLPOINTER pValue, SQLINTEGER iBufferLength, SQLINTEGER *piIndicator)
{
  SQLINTEGER iIndicator = 0;
  if (piIndicator != nullptr) std::memcpy(&iIndicator, piIndicator, sizeof iIndicator);  /* need not be aligned */
  if (pValue == nullptr || (piIndicator && iIndicator == SQL_NULL_DATA)) {
    sqlite3_bind_null(pst, iIndex);
    return;
  }
  switch (sValueType) {
    case SQL_C_SHORT: {
      int16_t s;
      std::memcpy(&s, pValue, 2);
      sqlite3_bind_int(pst, iIndex, s);
      return;
    }
    case SQL_C_LONG: {
      int32_t i;
      std::memcpy(&i, pValue, 4);
      sqlite3_bind_int(pst, iIndex, i);
      return;
    }
    case SQL_C_SBIGINT: {
      int64_t l;
      std::memcpy(&l, pValue, 8);
      sqlite3_bind_int64(pst, iIndex, l);
      return;
    }
    case SQL_C_DOUBLE: {
      double d;
      std::memcpy(&d, pValue, 8);
      sqlite3_bind_double(pst, iIndex, d);
      return;
    }
    default: {
      const char *pc = static_cast<const char *>(pValue);
      size_t ulLen;
      if (piIndicator && iIndicator >= 0) ulLen = static_cast<size_t>(iIndicator);
      else if (iBufferLength > 0) ulLen = strnlen(pc, static_cast<size_t>(iBufferLength));
      else ulLen = std::strlen(pc);
      /* DB2 compares fixed-length character values without their trailing
         blanks */
      if (sSqlType == SQL_CHAR)
        while (ulLen > 0 && pc[ulLen - 1] == ' ') ulLen--;
      sqlite3_bind_text(pst, iIndex, pc, static_cast<int>(ulLen), SQLITE_TRANSIENT);
      return;
    }
  }
}

bool db2standCheckUser(sqlite3 *pdb, const std::string &strUser, const std::string &strPassword)
{
  (void)pdb;
  db2standUser user;
  return db2standFindUser(strUser, &user) && user.strPassword == strPassword;
}

bool db2standFindUser(const std::string &strName, db2standUser *pUser)
{
  std::string strHome = db2standInstanceHome();
  if (strHome.empty()) return false;
  std::ifstream in(strHome + "/sqllib/zavdb2/users");
  std::string strLine;
  while (std::getline(in, strLine)) {
    std::istringstream ls(strLine);
    db2standUser u;
    if (!(ls >> u.strName >> u.strPassword)) continue;
    ls >> u.strGroups;
    if (db2standUpper(u.strName) == db2standUpper(strName)) {
      *pUser = u;
      return true;
    }
  }
  return false;
}

void db2standSetCurrent(const db2standDbEntry &entry, const std::string &strUser)
{
  gentryCurrent = entry;
  gstrUserCurrent = strUser;
  gboCurrent = true;
}

bool db2standGetCurrent(db2standDbEntry *pEntry, std::string *pstrUser)
{
  if (!gboCurrent) return false;
  *pEntry = gentryCurrent;
  *pstrUser = gstrUserCurrent;
  return true;
}
