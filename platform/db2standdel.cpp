/*
** db2standdel.cpp
**   DB2's DEL form of one result value (platform/db2standdel.h).
*/
#include "platform/db2standdel.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/db2cli.h"

namespace {

/* The value between double quotes, a double quote inside doubled. */
void _delQuoted(const std::string &strValue, std::string *pstr)
{
  pstr->push_back('"');
  for (char c : strValue) {
    if (c == '"') pstr->push_back('"');
    pstr->push_back(c);
  }
  pstr->push_back('"');
}

/* The text of the value as the engine holds it. */
std::string _delText(sqlite3_stmt *pst, int iIdx)
{
  const unsigned char *puc = sqlite3_column_text(pst, iIdx);
  int iLen = sqlite3_column_bytes(pst, iIdx);
  if (puc == nullptr || iLen <= 0) return std::string();
  return std::string(reinterpret_cast<const char *>(puc), static_cast<size_t>(iLen));
}

/* A DECIMAL(p, s): its sign, p - s integer digits, the point, s fraction digits. */
void _delDecimal(sqlite3_stmt *pst, int iIdx, const db2standColType &ct, std::string *pstr)
{
  std::string strValue;
  int iType = sqlite3_column_type(pst, iIdx);
  if (iType == SQLITE_INTEGER) {
    strValue = std::to_string(sqlite3_column_int64(pst, iIdx));
  } else if (iType == SQLITE_FLOAT) {
    char ac[400];
    std::snprintf(ac, sizeof ac, "%.*f", static_cast<int>(ct.sScale), sqlite3_column_double(pst, iIdx));
    strValue = ac;
  } else {
    strValue = _delText(pst, iIdx);
  }
  bool boNeg = false, boPoint = false;
  std::string strInt, strFrac;
  for (char c : strValue) {
    if (c == '-') boNeg = true;
    else if (c == '.' || c == ',') boPoint = true;
    else if (c >= '0' && c <= '9') (boPoint ? strFrac : strInt) += c;
  }
  size_t ulScale = ct.sScale > 0 ? static_cast<size_t>(ct.sScale) : 0;
  size_t ulIntDigits = ct.uiSize > ulScale ? ct.uiSize - ulScale : 0;
  strFrac.resize(ulScale, '0');
  while (strInt.size() > ulIntDigits) strInt.erase(0, 1);
  bool boZero = (strInt + strFrac).find_first_not_of('0') == std::string::npos;
  pstr->push_back(boNeg && !boZero ? '-' : '+');
  pstr->append(ulIntDigits - strInt.size(), '0');
  *pstr += strInt;
  if (ulScale > 0 || ct.uiSize % 2 != 0) pstr->push_back('.');
  *pstr += strFrac;
}

/* A DOUBLE (15 significant digits) or REAL (6, of the value as a REAL holds it). */
void _delFloat(sqlite3_stmt *pst, int iIdx, const db2standColType &ct, std::string *pstr)
{
  bool boReal = ct.sSqlType == SQL_REAL;
  double d = sqlite3_column_double(pst, iIdx);
  if (boReal) d = static_cast<double>(static_cast<float>(d));
  char ac[64];
  std::to_chars_result res = std::to_chars(ac, ac + sizeof ac, d, std::chars_format::general, boReal ? 6 : 15);
  if (res.ec != std::errc()) return;
  for (char *pc = ac; pc < res.ptr; pc++)
    if (*pc >= 'a' && *pc <= 'z') *pc = static_cast<char>(*pc - 'a' + 'A');
  pstr->append(ac, res.ptr);
}

/* The digits of a date: YYYYMMDD. */
void _delDate(const std::string &strValue, std::string *pstr)
{
  for (char c : strValue)
    if (c >= '0' && c <= '9') pstr->push_back(c);
}

/* A time HH.MM.SS or a timestamp YYYY-MM-DD-HH.MM.SS.NNNNNN, whichever
   separators the engine holds. */
std::string _delDb2Time(const std::string &strValue, bool boTimestamp)
{
  std::string strDigits;
  for (char c : strValue)
    if (c >= '0' && c <= '9') strDigits.push_back(c);
  if (!boTimestamp) {
    strDigits.resize(6, '0');
    return strDigits.substr(0, 2) + "." + strDigits.substr(2, 2) + "." + strDigits.substr(4, 2);
  }
  strDigits.resize(20, '0');
  return strDigits.substr(0, 4) + "-" + strDigits.substr(4, 2) + "-" + strDigits.substr(6, 2) + "-" +
         strDigits.substr(8, 2) + "." + strDigits.substr(10, 2) + "." + strDigits.substr(12, 2) + "." +
         strDigits.substr(14, 6);
}

}  // namespace

void db2standDelField(sqlite3_stmt *pst, int iIdx, const db2standColType &ct, std::string *pstr)
{
  if (sqlite3_column_type(pst, iIdx) == SQLITE_NULL) return;
  switch (ct.sSqlType) {
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT:
      if (sqlite3_column_type(pst, iIdx) == SQLITE_INTEGER)
        *pstr += std::to_string(sqlite3_column_int64(pst, iIdx));
      else
        *pstr += _delText(pst, iIdx);
      return;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
      _delDecimal(pst, iIdx, ct, pstr);
      return;
    case SQL_DOUBLE:
    case SQL_FLOAT:
    case SQL_REAL:
      _delFloat(pst, iIdx, ct, pstr);
      return;
    case SQL_TYPE_DATE:
      _delDate(_delText(pst, iIdx), pstr);
      return;
    case SQL_TYPE_TIME:
      _delQuoted(_delDb2Time(_delText(pst, iIdx), false), pstr);
      return;
    case SQL_TYPE_TIMESTAMP:
      _delQuoted(_delDb2Time(_delText(pst, iIdx), true), pstr);
      return;
    default:
      _delQuoted(db2standColumnText(pst, iIdx, ct), pstr);
      return;
  }
}
