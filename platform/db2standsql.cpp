/*
** db2standsql.cpp
**   DB2's values over SQLite (see db2standsql.h): exact decimals, dates and
**   times as DB2 computes them, and the db2_* functions registered on every
**   connection.  Each function takes its arguments in the forms of
**   db2standsql.h, with the DB2 type names ("DECIMAL", "CHAR" ...) and
**   precision and scale the translator passes, and raises DB2's error
**   (sqlite3_result_error with DB2's message) where DB2 fails.
*/
#include "platform/db2standsql.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

/* ================================================================ DB2 errors */

const char *const kpcOverflow = "SQL0802N  Arithmetic overflow or other arithmetic exception occurred.  SQLSTATE=22003";
const char *const kpcDivZero = "SQL0801N  Division by zero was attempted.  SQLSTATE=22012";
const char *const kpcConvert = "SQL0413N  Overflow occurred during numeric data type conversion.  SQLSTATE=22003";
const char *const kpcDateSyntax =
    "SQL0180N  The syntax of the string representation of a datetime value is incorrect.  SQLSTATE=22007";
const char *const kpcDateRange =
    "SQL0183N  A datetime arithmetic operation or a datetime scalar function has a result that is not within the "
    "valid range of dates.  SQLSTATE=22008";
const char *const kpcStringArg =
    "SQL0138N  A numeric argument of a built-in string function is out of range.  SQLSTATE=22011";
const char *const kpcBadChar =
    "SQL0420N  Invalid character found in a character string argument of the function \"DECIMAL\".  SQLSTATE=22018";

/* What a db2_* function throws; the function reports it as its error. */
struct Raise {
  const char *pcText;
};

[[noreturn]] void _raise(const char *pcText) { throw Raise{pcText}; }

/* ================================================================ decimals */

/* ±digits × 10^-scale; digits without leading zeros ("0" for zero, never negative). */
struct Dec {
  bool boNeg = false;
  std::string strDigits = "0";
  int iScale = 0;
};

void _decNorm(Dec *p)
{
  size_t ul = p->strDigits.find_first_not_of('0');
  p->strDigits = ul == std::string::npos ? "0" : p->strDigits.substr(ul);
  if (p->strDigits == "0") p->boNeg = false;
}

/* "[blanks][+-]digits[.digits][E[+-]n][blanks]"; false for anything else. */
bool _decParse(const std::string &strIn, Dec *p)
{
  size_t b = strIn.find_first_not_of(' '), e = strIn.find_last_not_of(' ');
  if (b == std::string::npos) return false;
  std::string s = strIn.substr(b, e - b + 1);
  Dec d;
  size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) d.boNeg = s[i++] == '-';
  std::string strInt, strFrac;
  while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) strInt += s[i++];
  if (i < s.size() && s[i] == '.') {
    i++;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) strFrac += s[i++];
  }
  if (strInt.empty() && strFrac.empty()) return false;
  long lExp = 0;
  if (i < s.size() && (s[i] == 'E' || s[i] == 'e')) {
    i++;
    char *pcEnd = nullptr;
    lExp = std::strtol(s.c_str() + i, &pcEnd, 10);
    if (pcEnd == s.c_str() + i || lExp > 400 || lExp < -400) return false;
    i = static_cast<size_t>(pcEnd - s.c_str());
  }
  if (i != s.size()) return false;
  d.strDigits = strInt + strFrac;
  long lScale = static_cast<long>(strFrac.size()) - lExp;
  if (lScale < 0) {
    d.strDigits.append(static_cast<size_t>(-lScale), '0');
    lScale = 0;
  }
  d.iScale = static_cast<int>(lScale);
  _decNorm(&d);
  *p = d;
  return true;
}

/* The value at scale iScale: extra fraction digits truncated. */
Dec _decRescale(const Dec &a, int iScale)
{
  Dec d = a;
  if (iScale > a.iScale) {
    if (d.strDigits != "0") d.strDigits.append(static_cast<size_t>(iScale - a.iScale), '0');
  } else if (iScale < a.iScale) {
    size_t ulDrop = static_cast<size_t>(a.iScale - iScale);
    d.strDigits = ulDrop >= d.strDigits.size() ? "0" : d.strDigits.substr(0, d.strDigits.size() - ulDrop);
  }
  d.iScale = iScale;
  _decNorm(&d);
  return d;
}

/* Digits left of the point. */
int _decIntDigits(const Dec &a)
{
  int n = static_cast<int>(a.strDigits.size()) - a.iScale;
  return a.strDigits == "0" || n < 0 ? 0 : n;
}

/* The text with exactly iScale fraction digits (truncated). */
std::string _decText(const Dec &a, int iScale)
{
  Dec d = _decRescale(a, iScale);
  std::string s = d.strDigits;
  if (static_cast<int>(s.size()) <= iScale) s.insert(0, static_cast<size_t>(iScale + 1) - s.size(), '0');
  if (iScale > 0) s.insert(s.size() - static_cast<size_t>(iScale), ".");
  return (d.boNeg ? "-" : "") + s;
}

int _magCmp(const std::string &a, const std::string &b)
{
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  int i = a.compare(b);
  return i < 0 ? -1 : (i > 0 ? 1 : 0);
}

std::string _magAdd(const std::string &a, const std::string &b)
{
  std::string r;
  int iCarry = 0;
  for (size_t i = 0; i < std::max(a.size(), b.size()) || iCarry; i++) {
    int x = iCarry;
    if (i < a.size()) x += a[a.size() - 1 - i] - '0';
    if (i < b.size()) x += b[b.size() - 1 - i] - '0';
    r += static_cast<char>('0' + x % 10);
    iCarry = x / 10;
  }
  std::reverse(r.begin(), r.end());
  return r;
}

/* a - b for a >= b. */
std::string _magSub(const std::string &a, const std::string &b)
{
  std::string r;
  int iBorrow = 0;
  for (size_t i = 0; i < a.size(); i++) {
    int x = a[a.size() - 1 - i] - '0' - iBorrow;
    if (i < b.size()) x -= b[b.size() - 1 - i] - '0';
    iBorrow = x < 0 ? 1 : 0;
    r += static_cast<char>('0' + (x + 10) % 10);
  }
  std::reverse(r.begin(), r.end());
  size_t ul = r.find_first_not_of('0');
  return ul == std::string::npos ? "0" : r.substr(ul);
}

std::string _magMul(const std::string &a, const std::string &b)
{
  std::vector<int> v(a.size() + b.size(), 0);
  for (size_t i = 0; i < a.size(); i++)
    for (size_t j = 0; j < b.size(); j++) v[i + j + 1] += (a[i] - '0') * (b[j] - '0');
  for (size_t k = v.size() - 1; k > 0; k--) {
    v[k - 1] += v[k] / 10;
    v[k] %= 10;
  }
  std::string r;
  for (int x : v) r += static_cast<char>('0' + x);
  size_t ul = r.find_first_not_of('0');
  return ul == std::string::npos ? "0" : r.substr(ul);
}

/* floor(a / b) for b != 0, digit by digit. */
std::string _magDiv(const std::string &a, const std::string &b)
{
  std::string q, rem = "0";
  for (char c : a) {
    rem = rem == "0" ? std::string(1, c) : rem + c;
    size_t ul = rem.find_first_not_of('0');
    rem = ul == std::string::npos ? "0" : rem.substr(ul);
    int n = 0;
    while (_magCmp(rem, b) >= 0) {
      rem = _magSub(rem, b);
      n++;
    }
    q += static_cast<char>('0' + n);
  }
  size_t ul = q.find_first_not_of('0');
  return ul == std::string::npos ? "0" : q.substr(ul);
}

int _decCmp(const Dec &a, const Dec &b)
{
  int iScale = std::max(a.iScale, b.iScale);
  Dec x = _decRescale(a, iScale), y = _decRescale(b, iScale);
  if (x.boNeg != y.boNeg) return x.boNeg ? -1 : 1;
  int c = _magCmp(x.strDigits, y.strDigits);
  return x.boNeg ? -c : c;
}

Dec _decAdd(const Dec &a, const Dec &b)
{
  int iScale = std::max(a.iScale, b.iScale);
  Dec x = _decRescale(a, iScale), y = _decRescale(b, iScale), r;
  r.iScale = iScale;
  if (x.boNeg == y.boNeg) {
    r.strDigits = _magAdd(x.strDigits, y.strDigits);
    r.boNeg = x.boNeg;
  } else if (_magCmp(x.strDigits, y.strDigits) >= 0) {
    r.strDigits = _magSub(x.strDigits, y.strDigits);
    r.boNeg = x.boNeg;
  } else {
    r.strDigits = _magSub(y.strDigits, x.strDigits);
    r.boNeg = y.boNeg;
  }
  _decNorm(&r);
  return r;
}

Dec _decNeg(Dec a)
{
  a.boNeg = !a.boNeg;
  _decNorm(&a);
  return a;
}

Dec _decMul(const Dec &a, const Dec &b)
{
  Dec r;
  r.strDigits = _magMul(a.strDigits, b.strDigits);
  r.iScale = a.iScale + b.iScale;
  r.boNeg = a.boNeg != b.boNeg;
  _decNorm(&r);
  return r;
}

/* a / b truncated to iScale fraction digits. */
Dec _decDiv(const Dec &a, const Dec &b, int iScale)
{
  if (b.strDigits == "0") _raise(kpcDivZero);
  std::string strNum = a.strDigits, strDen = b.strDigits;
  int k = iScale + b.iScale - a.iScale;
  if (k >= 0) strNum.append(static_cast<size_t>(k), '0');
  else strDen.append(static_cast<size_t>(-k), '0');
  Dec r;
  r.strDigits = _magDiv(strNum, strDen);
  r.iScale = iScale;
  r.boNeg = a.boNeg != b.boNeg;
  _decNorm(&r);
  return r;
}

Dec _decFromInt(int64_t ll)
{
  Dec d;
  uint64_t ull = ll < 0 ? 0 - static_cast<uint64_t>(ll) : static_cast<uint64_t>(ll);
  d.strDigits = std::to_string(ull);
  d.boNeg = ll < 0;
  _decNorm(&d);
  return d;
}

/* The exact value of a double. */
Dec _decFromDouble(double dValue)
{
  if (!std::isfinite(dValue)) _raise(kpcOverflow);
  char ac[512];
  std::snprintf(ac, sizeof ac, "%.400f", dValue);
  Dec d;
  if (!_decParse(ac, &d)) _raise(kpcOverflow);
  return d;
}

/* A numeric value of any of the forms (integer, real, decimal text). */
Dec _decOf(sqlite3_value *pv)
{
  switch (sqlite3_value_type(pv)) {
    case SQLITE_INTEGER: return _decFromInt(sqlite3_value_int64(pv));
    case SQLITE_FLOAT: return _decFromDouble(sqlite3_value_double(pv));
    default: {
      const char *pc = reinterpret_cast<const char *>(sqlite3_value_text(pv));
      Dec d;
      if (pc == nullptr || !_decParse(pc, &d)) _raise(kpcBadChar);
      return d;
    }
  }
}

/* The decimal text of DECIMAL(p,s), or the overflow error. */
std::string _decCheck(const Dec &d, int p, int s)
{
  if (_decIntDigits(_decRescale(d, s)) > p - s) _raise(kpcOverflow);
  return _decText(d, s);
}

double _doubleOf(sqlite3_value *pv)
{
  switch (sqlite3_value_type(pv)) {
    case SQLITE_INTEGER: return static_cast<double>(sqlite3_value_int64(pv));
    case SQLITE_FLOAT: return sqlite3_value_double(pv);
    default: {
      const char *pc = reinterpret_cast<const char *>(sqlite3_value_text(pv));
      Dec d;
      if (pc == nullptr || !_decParse(pc, &d)) _raise(kpcBadChar);
      return std::strtod(_decText(d, d.iScale).c_str(), nullptr);
    }
  }
}

/* The integer part of a numeric value; false when it lies outside [llMin, llMax]. */
bool _intOf(sqlite3_value *pv, int64_t llMin, int64_t llMax, int64_t *pll)
{
  if (sqlite3_value_type(pv) == SQLITE_INTEGER) {
    *pll = sqlite3_value_int64(pv);
    return *pll >= llMin && *pll <= llMax;
  }
  if (sqlite3_value_type(pv) == SQLITE_FLOAT) {
    double d = std::trunc(sqlite3_value_double(pv));
    if (!(d >= static_cast<double>(llMin) && d <= static_cast<double>(llMax))) return false;
    *pll = static_cast<int64_t>(d);
    return true;
  }
  Dec d = _decRescale(_decOf(pv), 0);
  if (d.strDigits.size() > 19) return false;
  errno = 0;
  unsigned long long ull = std::strtoull(d.strDigits.c_str(), nullptr, 10);
  if (errno != 0) return false;
  if (d.boNeg) {
    if (ull > static_cast<unsigned long long>(INT64_MAX) + 1) return false;
    *pll = ull == static_cast<unsigned long long>(INT64_MAX) + 1 ? INT64_MIN : -static_cast<int64_t>(ull);
  } else {
    if (ull > static_cast<unsigned long long>(INT64_MAX)) return false;
    *pll = static_cast<int64_t>(ull);
  }
  return *pll >= llMin && *pll <= llMax;
}

/* ================================================================ dates and times */

struct Dt {
  int64_t y = 1, mo = 1, d = 1, h = 0, mi = 0, s = 0, us = 0;
};

bool _leap(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int64_t _lastDay(int64_t y, int64_t m)
{
  static const int aiDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && _leap(y) ? 29 : aiDays[m - 1];
}

/* DB2's DAYS: 1 for 0001-01-01. */
int64_t _days(int64_t y, int64_t m, int64_t d)
{
  y -= m <= 2;
  int64_t era = y / 400, yoe = y - era * 400;
  int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 305;   /* 0001-01-01 gives 1 */
}

void _civil(int64_t n, Dt *pdt)
{
  int64_t z = n + 305;
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  pdt->d = doy - (153 * mp + 2) / 5 + 1;
  pdt->mo = mp < 10 ? mp + 3 : mp - 9;
  pdt->y = yoe + era * 400 + (pdt->mo <= 2);
}

bool _validDate(const Dt &t)
{
  return t.y >= 1 && t.y <= 9999 && t.mo >= 1 && t.mo <= 12 && t.d >= 1 && t.d <= _lastDay(t.y, t.mo);
}

bool _validTime(const Dt &t)
{
  return t.h >= 0 && t.mi >= 0 && t.mi <= 59 && t.s >= 0 && t.s <= 59 &&
         (t.h < 24 || (t.h == 24 && t.mi == 0 && t.s == 0 && t.us == 0)) && t.us >= 0 && t.us <= 999999;
}

/* Reads n digits (at least iMin) at s[*pi]. */
bool _digits(const std::string &s, size_t *pi, size_t iMin, size_t iMax, int64_t *pll)
{
  size_t i = *pi;
  int64_t ll = 0;
  while (i < s.size() && i - *pi < iMax && std::isdigit(static_cast<unsigned char>(s[i]))) ll = ll * 10 + (s[i++] - '0');
  if (i - *pi < iMin) return false;
  *pi = i;
  *pll = ll;
  return true;
}

std::string _trimmed(const char *pc)
{
  std::string s = pc != nullptr ? pc : "";
  size_t b = s.find_first_not_of(' '), e = s.find_last_not_of(' ');
  return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

/* ISO / JIS yyyy-mm-dd, USA mm/dd/yyyy, EUR dd.mm.yyyy. */
bool _parseDateText(const std::string &s, Dt *pdt)
{
  size_t i = 0;
  int64_t a, b, c;
  if (!_digits(s, &i, 1, 4, &a) || i >= s.size()) return false;
  char cSep = s[i++];
  if (!_digits(s, &i, 1, 2, &b) || i >= s.size() || s[i++] != cSep || !_digits(s, &i, 1, 4, &c) || i != s.size())
    return false;
  if (cSep == '-') *pdt = Dt{a, b, c, 0, 0, 0, 0};
  else if (cSep == '/') *pdt = Dt{c, a, b, 0, 0, 0, 0};
  else if (cSep == '.') *pdt = Dt{c, b, a, 0, 0, 0, 0};
  else return false;
  return true;
}

/* hh.mm[.ss], hh:mm[:ss], hh:mm AM|PM. */
bool _parseTimeText(const std::string &s, Dt *pdt)
{
  size_t i = 0;
  int64_t h, m, sec = 0;
  if (!_digits(s, &i, 1, 2, &h) || i >= s.size() || (s[i] != '.' && s[i] != ':')) return false;
  char cSep = s[i++];
  if (!_digits(s, &i, 2, 2, &m)) return false;
  if (i < s.size() && s[i] == cSep) {
    i++;
    if (!_digits(s, &i, 2, 2, &sec)) return false;
  }
  if (i < s.size() && s[i] == ' ' && cSep == ':') {
    std::string strMark = s.substr(i + 1);
    if (strMark != "AM" && strMark != "PM") return false;
    if (h < 1 || h > 12) return false;
    h = strMark == "AM" ? (h == 12 ? 0 : h) : (h == 12 ? 12 : h + 12);
    i = s.size();
  }
  if (i != s.size()) return false;
  pdt->h = h;
  pdt->mi = m;
  pdt->s = sec;
  pdt->us = 0;
  return true;
}

/* yyyy-mm-dd-hh.mm.ss[.nnnnnn] or yyyy-mm-dd hh:mm:ss[.nnnnnn]. */
bool _parseTimestampText(const std::string &s, Dt *pdt)
{
  if (s.size() < 19 || (s[10] != '-' && s[10] != ' ')) return false;
  Dt t;
  if (!_parseDateText(s.substr(0, 10), &t) || s[4] != '-') return false;
  std::string strTime = s.substr(11);
  size_t ulDot = strTime.size() > 8 ? 8 : std::string::npos;
  std::string strFrac;
  if (ulDot != std::string::npos) {
    if (strTime[8] != '.') return false;
    strFrac = strTime.substr(9);
    strTime = strTime.substr(0, 8);
  }
  if (!_parseTimeText(strTime, &t) || strFrac.size() > 6) return false;
  for (char c : strFrac)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  strFrac.append(6 - strFrac.size(), '0');
  t.us = std::atoll(strFrac.c_str());
  *pdt = t;
  return true;
}

enum DtKind { DT_DATE, DT_TIME, DT_TS };

/* A value of the kind from its text (stored form or any string form DB2 reads). */
Dt _dtOf(sqlite3_value *pv, DtKind eKind)
{
  std::string s = _trimmed(reinterpret_cast<const char *>(sqlite3_value_text(pv)));
  Dt t;
  bool bo = eKind == DT_DATE ? _parseDateText(s, &t) : eKind == DT_TIME ? _parseTimeText(s, &t)
                                                                        : _parseTimestampText(s, &t);
  if (!bo) _raise(kpcDateSyntax);
  if ((eKind != DT_TIME && !_validDate(t)) || (eKind != DT_DATE && !_validTime(t))) _raise(kpcDateSyntax);
  return t;
}

std::string _fmt(const char *pcFormat, ...) __attribute__((format(printf, 1, 2)));
std::string _fmt(const char *pcFormat, ...)
{
  char ac[128];
  va_list va;
  va_start(va, pcFormat);
  std::vsnprintf(ac, sizeof ac, pcFormat, va);
  va_end(va);
  return ac;
}

std::string _dtText(const Dt &t, DtKind eKind)
{
  long long y = t.y, mo = t.mo, d = t.d, h = t.h, mi = t.mi, s = t.s, us = t.us;
  switch (eKind) {
    case DT_DATE: return _fmt("%04lld-%02lld-%02lld", y, mo, d);
    case DT_TIME: return _fmt("%02lld.%02lld.%02lld", h, mi, s);
    default: return _fmt("%04lld-%02lld-%02lld-%02lld.%02lld.%02lld.%06lld", y, mo, d, h, mi, s, us);
  }
}

void _addYears(Dt *pt, int64_t n)
{
  if (n > 10000 || n < -10000) _raise(kpcDateRange);
  pt->y += n;
  if (pt->y < 1 || pt->y > 9999) _raise(kpcDateRange);
  if (pt->mo == 2 && pt->d == 29 && !_leap(pt->y)) pt->d = 28;
}

void _addMonths(Dt *pt, int64_t n)
{
  if (n > 120000 || n < -120000) _raise(kpcDateRange);
  int64_t llTotal = pt->mo - 1 + n;
  int64_t llYears = llTotal >= 0 ? llTotal / 12 : -((-llTotal + 11) / 12);
  pt->mo = llTotal - llYears * 12 + 1;
  pt->y += llYears;
  if (pt->y < 1 || pt->y > 9999) _raise(kpcDateRange);
  pt->d = std::min(pt->d, _lastDay(pt->y, pt->mo));
}

void _addDays(Dt *pt, int64_t n)
{
  if (n > 4000000 || n < -4000000) _raise(kpcDateRange);
  int64_t k = _days(pt->y, pt->mo, pt->d) + n;
  if (k < 1 || k > _days(9999, 12, 31)) _raise(kpcDateRange);
  _civil(k, pt);
}

/* Adds n microseconds to a timestamp (with carry into its date) or to a time (wrapping at midnight). */
void _addMicros(Dt *pt, int64_t n, bool boCarry)
{
  const int64_t llDay = 86400000000LL;
  int64_t llNow = ((pt->h * 60 + pt->mi) * 60 + pt->s) * 1000000 + pt->us;
  if (pt->h == 24) llNow = llDay;
  int64_t llDays = n / llDay;
  int64_t llRest = llNow + n % llDay;
  if (llRest < 0) {
    llRest += llDay;
    llDays--;
  } else if (llRest >= llDay) {
    llRest -= llDay;
    llDays++;
  }
  pt->us = llRest % 1000000;
  llRest /= 1000000;
  pt->s = llRest % 60;
  pt->mi = llRest / 60 % 60;
  pt->h = llRest / 3600;
  if (boCarry && llDays != 0) _addDays(pt, llDays);
}

/* A labelled duration of n units applied to a value of the kind. */
void _addUnit(Dt *pt, DtKind eKind, const std::string &strUnit, int64_t n)
{
  bool boTime = eKind == DT_TIME;
  auto micros = [&](int64_t llPer) {
    /* a time wraps: only the count modulo one day matters */
    int64_t llCount = boTime ? n % (86400000000LL / llPer) : n;
    if (llCount > INT64_MAX / llPer || llCount < INT64_MIN / llPer) _raise(kpcDateRange);
    _addMicros(pt, llCount * llPer, !boTime);
  };
  if (strUnit == "YEARS" && !boTime) _addYears(pt, n);
  else if (strUnit == "MONTHS" && !boTime) _addMonths(pt, n);
  else if (strUnit == "DAYS" && !boTime) _addDays(pt, n);
  else if (strUnit == "HOURS" && eKind != DT_DATE) micros(3600000000LL);
  else if (strUnit == "MINUTES" && eKind != DT_DATE) micros(60000000LL);
  else if (strUnit == "SECONDS" && eKind != DT_DATE) micros(1000000LL);
  else if (strUnit == "MICROSECONDS" && eKind == DT_TS) micros(1);
  else _raise("SQL0182N  An expression with a datetime value or a labeled duration is not valid.  SQLSTATE=42816");
}

/* Date part of a - b, a not before b (b changed by the borrows). */
void _diffDate(const Dt &a, Dt b, int64_t *py, int64_t *pm, int64_t *pd)
{
  if (a.d >= b.d) {
    *pd = a.d - b.d;
  } else {
    *pd = a.d + _lastDay(b.y, b.mo) - b.d;
    b.mo++;
  }
  if (a.mo >= b.mo) {
    *pm = a.mo - b.mo;
  } else {
    *pm = a.mo + 12 - b.mo;
    b.y++;
  }
  *py = a.y - b.y;
}

int _dtCmp(const Dt &a, const Dt &b)
{
  const int64_t aa[] = {a.y, a.mo, a.d, a.h, a.mi, a.s, a.us}, ab[] = {b.y, b.mo, b.d, b.h, b.mi, b.s, b.us};
  for (int i = 0; i < 7; i++)
    if (aa[i] != ab[i]) return aa[i] < ab[i] ? -1 : 1;
  return 0;
}

/* a - b as DB2's duration: yyyymmdd, hhmmss or yyyymmddhhmmss.nnnnnn. */
std::string _dtDiff(Dt a, Dt b, DtKind eKind)
{
  if (eKind == DT_DATE) a.h = a.mi = a.s = a.us = b.h = b.mi = b.s = b.us = 0;
  if (eKind == DT_TIME) a.y = b.y = a.mo = b.mo = a.d = b.d = 1;
  int iCmp = _dtCmp(a, b);
  bool boNeg = iCmp < 0;
  if (boNeg) std::swap(a, b);
  int64_t y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, us = 0;
  auto borrow = [](int64_t x, int64_t yy, int64_t base, int64_t *pnext) {
    int64_t r = x - yy;
    if (r < 0) {
      r += base;
      (*pnext)++;
    }
    return r;
  };
  if (eKind == DT_TS) us = borrow(a.us, b.us, 1000000, &b.s);
  if (eKind != DT_DATE) {
    s = borrow(a.s, b.s, 60, &b.mi);
    mi = borrow(a.mi, b.mi, 60, &b.h);
    if (eKind == DT_TIME) h = a.h - b.h;
    else h = borrow(a.h, b.h, 24, &b.d);
  }
  if (eKind != DT_TIME) _diffDate(a, b, &y, &mo, &d);
  std::string s2;
  if (eKind == DT_DATE) s2 = _fmt("%lld", static_cast<long long>(y * 10000 + mo * 100 + d));
  else if (eKind == DT_TIME) s2 = _fmt("%lld", static_cast<long long>(h * 10000 + mi * 100 + s));
  else
    s2 = _fmt("%lld%02lld%02lld%02lld%02lld.%06lld", static_cast<long long>(y * 100 + mo), static_cast<long long>(d),
              static_cast<long long>(h), static_cast<long long>(mi), static_cast<long long>(s),
              static_cast<long long>(us));
  Dec dec;
  _decParse(s2, &dec);
  if (boNeg) dec = _decNeg(dec);
  return _decText(dec, eKind == DT_TS ? 6 : 0);
}

/* ================================================================ the db2_* functions */

/* The kind names the translator passes; numbers of their families. */
enum Family { F_INT, F_DEC, F_FLT, F_CHAR, F_GRAPHIC, F_DATE, F_TIME, F_TS, F_OTHER };

Family _family(const std::string &strKind)
{
  if (strKind == "SMALLINT" || strKind == "INTEGER" || strKind == "BIGINT") return F_INT;
  if (strKind == "DECIMAL") return F_DEC;
  if (strKind == "DOUBLE" || strKind == "REAL") return F_FLT;
  if (strKind == "CHAR" || strKind == "VARCHAR" || strKind == "LONG VARCHAR" || strKind == "CLOB") return F_CHAR;
  if (strKind == "GRAPHIC" || strKind == "VARGRAPHIC" || strKind == "LONG VARGRAPHIC") return F_GRAPHIC;
  if (strKind == "DATE") return F_DATE;
  if (strKind == "TIME") return F_TIME;
  if (strKind == "TIMESTAMP") return F_TS;
  return F_OTHER;
}

std::string _textArg(sqlite3_value *pv)
{
  const char *pc = reinterpret_cast<const char *>(sqlite3_value_text(pv));
  return pc != nullptr ? std::string(pc, static_cast<size_t>(sqlite3_value_bytes(pv))) : std::string();
}

int _intArg(sqlite3_value *pv) { return sqlite3_value_int(pv); }

void _resultInt(sqlite3_context *pctx, int64_t ll, const std::string &strKind)
{
  int64_t llMin = strKind == "SMALLINT" ? -32768 : strKind == "INTEGER" ? INT32_MIN : INT64_MIN;
  int64_t llMax = strKind == "SMALLINT" ? 32767 : strKind == "INTEGER" ? INT32_MAX : INT64_MAX;
  if (ll < llMin || ll > llMax) _raise(kpcOverflow);
  sqlite3_result_int64(pctx, ll);
}

void _resultText(sqlite3_context *pctx, const std::string &s)
{
  sqlite3_result_text(pctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

void _resultDouble(sqlite3_context *pctx, double d, const std::string &strKind)
{
  if (!std::isfinite(d)) _raise(kpcOverflow);
  if (strKind == "REAL") {
    if (std::fabs(d) > 3.402823466e38) _raise(kpcOverflow);
    d = static_cast<double>(static_cast<float>(d));
  }
  sqlite3_result_double(pctx, d);
}

/* Runs a function body; NULL in any of the first iNullArgs arguments gives NULL. */
template <typename F>
void _guard(sqlite3_context *pctx, int argc, sqlite3_value **argv, int iNullArgs, F body)
{
  for (int i = 0; i < argc && i < iNullArgs; i++)
    if (sqlite3_value_type(argv[i]) == SQLITE_NULL) {
      sqlite3_result_null(pctx);
      return;
    }
  try {
    body();
  } catch (const Raise &r) {
    sqlite3_result_error(pctx, r.pcText, -1);
  } catch (const std::bad_alloc &) {
    sqlite3_result_error_nomem(pctx);
  }
}

/* db2_dec(stored value, p, s): a stored DECIMAL column's value as decimal text, rounded as CLI shows it. */
void _fnDec(sqlite3_context *pctx, int argc, sqlite3_value **argv)
{
  _guard(pctx, argc, argv, 1, [&] {
    int s = _intArg(argv[2]);
    if (sqlite3_value_type(argv[0]) == SQLITE_FLOAT) {
      char ac[64];
      std::snprintf(ac, sizeof ac, "%.*f", s, sqlite3_value_double(argv[0]));
      Dec d;
      _decParse(ac, &d);
      _resultText(pctx, _decText(d, s));
      return;
    }
    _resultText(pctx, _decText(_decOf(argv[0]), s));
  });
}

/* db2_pad(text, n): blank-padded to n bytes. */
void _fnPad(sqlite3_context *pctx, int argc, sqlite3_value **argv)
{
  _guard(pctx, argc, argv, 1, [&] {
    std::string s = _textArg(argv[0]);
    size_t n = static_cast<size_t>(std::max(0, _intArg(argv[1])));
    if (s.size() < n) s.append(n - s.size(), ' ');
    _resultText(pctx, s);
  });
}

/* db2_arith(op, a, b, kind, p, s): a op b in the result type kind (DECIMAL(p,s)). */
void _fnArith(sqlite3_context *pctx, int argc, sqlite3_value **argv)
{
  _guard(pctx, argc, argv, 3, [&] {
    char cOp = _textArg(argv[0])[0];
    std::string strKind = _textArg(argv[3]);
    switch (_family(strKind)) {
      case F_INT: {
        int64_t a, b, r = 0;
        if (!_intOf(argv[1], INT64_MIN, INT64_MAX, &a) || !_intOf(argv[2], INT64_MIN, INT64_MAX, &b)) _raise(kpcOverflow);
        bool boOverflow = false;
        if (cOp == '+') boOverflow = __builtin_add_overflow(a, b, &r);
        else if (cOp == '-') boOverflow = __builtin_sub_overflow(a, b, &r);
        else if (cOp == '*') boOverflow = __builtin_mul_overflow(a, b, &r);
        else {
          if (b == 0) _raise(kpcDivZero);
          boOverflow = a == INT64_MIN && b == -1;
          if (!boOverflow) r = a / b;
        }
        if (boOverflow) _raise(kpcOverflow);
        _resultInt(pctx, r, strKind);
        return;
      }
      case F_FLT: {
        double a = _doubleOf(argv[1]), b = _doubleOf(argv[2]);
        long double r;
        if (cOp == '+') r = static_cast<long double>(a) + b;
        else if (cOp == '-') r = static_cast<long double>(a) - b;
        else if (cOp == '*') r = static_cast<long double>(a) * b;
        else {
          if (b == 0) _raise(kpcDivZero);
          r = static_cast<long double>(a) / b;
        }
        _resultDouble(pctx, static_cast<double>(r), strKind);
        return;
      }
      default: {
        int p = _intArg(argv[4]), s = _intArg(argv[5]);
        Dec a = _decOf(argv[1]), b = _decOf(argv[2]), r;
        if (cOp == '+') r = _decAdd(a, b);
        else if (cOp == '-') r = _decAdd(a, _decNeg(b));
        else if (cOp == '*') r = _decMul(a, b);
        else r = _decDiv(a, b, s);
        _resultText(pctx, _decCheck(r, p, s));
        return;
      }
    }
  });
}

/* db2_neg(a, kind, p, s). */
void _fnNeg(sqlite3_context *pctx, int argc, sqlite3_value **argv)
{
  _guard(pctx, argc, argv, 1, [&] {
    std::string strKind = _textArg(argv[1]);
    switch (_family(strKind)) {
      case F_INT: {
        int64_t a;
        if (!_intOf(argv[0], INT64_MIN + 1, INT64_MAX, &a)) _raise(kpcOverflow);
        _resultInt(pctx, -a, strKind);
        return;
      }
      case F_FLT: _resultDouble(pctx, -_doubleOf(argv[0]), strKind); return;
      default: _resultText(pctx, _decCheck(_decNeg(_decOf(argv[0])), _intArg(argv[2]), _intArg(argv[3]))); return;
    }
  });
}

/* db2_cmp(a, b): -1, 0, 1 of two numbers of any form. */
void _fnCmp(sqlite3_context *pctx, int argc, sqlite3_value **argv)
{
  _guard(pctx, argc, argv, 2, [&] {
    if (sqlite3_value_type(argv[0]) == SQLITE_FLOAT || sqlite3_value_type(argv[1]) == SQLITE_FLOAT) {
      double a = _doubleOf(argv[0]), b = _doubleOf(argv[1]);
      sqlite3_result_int(pctx, a < b ? -1 : (a > b ? 1 : 0));
      return;
    }
    sqlite3_result_int(pctx, _decCmp(_decOf(argv[0]), _decOf(argv[1])));
  });
}

/* db2_num(a): the number as a real, for ordering. */
void _fnNum(sqlite3_context *pctx, int argc, sqlite3_value **argv)
{
  _guard(pctx, argc, argv, 1, [&] { sqlite3_result_double(pctx, _doubleOf(argv[0])); });
}

/* The value of a string argument in the kind's form; for db2_conv. */
void _convert(sqlite3_context *pctx, sqlite3_value *pv, const std::string &strFrom, const std::string &strTo, int p,
              int s)
{
  Family eFrom = _family(strFrom), eTo = _family(strTo);
  switch (eTo) {
    case F_INT: {
      int64_t llMin = strTo == "SMALLINT" ? -32768 : strTo == "INTEGER" ? INT32_MIN : INT64_MIN;
      int64_t llMax = strTo == "SMALLINT" ? 32767 : strTo == "INTEGER" ? INT32_MAX : INT64_MAX;
      int64_t ll;
      if (eFrom == F_CHAR) {
        Dec d;
        if (!_decParse(_textArg(pv), &d)) _raise(kpcBadChar);
        d = _decRescale(d, 0);
        if (d.strDigits.size() > 19) _raise(kpcConvert);
        ll = std::strtoll(_decText(d, 0).c_str(), nullptr, 10);
        if (ll < llMin || ll > llMax) _raise(kpcConvert);
      } else if (!_intOf(pv, llMin, llMax, &ll)) {
        _raise(kpcConvert);
      }
      sqlite3_result_int64(pctx, ll);
      return;
    }
    case F_DEC: {
      Dec d;
      if (eFrom == F_CHAR) {
        if (!_decParse(_textArg(pv), &d)) _raise(kpcBadChar);
      } else {
        d = _decOf(pv);
      }
      if (_decIntDigits(_decRescale(d, s)) > p - s) _raise(kpcConvert);
      _resultText(pctx, _decText(d, s));
      return;
    }
    case F_FLT: {
      double d;
      if (eFrom == F_CHAR) {
        std::string t = _trimmed(_textArg(pv).c_str());
        char *pcEnd = nullptr;
        d = std::strtod(t.c_str(), &pcEnd);
        if (t.empty() || *pcEnd != '\0') _raise(kpcBadChar);
      } else {
        d = _doubleOf(pv);
      }
      _resultDouble(pctx, d, strTo);
      return;
    }
    case F_CHAR:
    case F_GRAPHIC: {
      std::string t = _textArg(pv);
      if (strTo == "CHAR" || strTo == "GRAPHIC") {
        t.resize(static_cast<size_t>(p), ' ');
      } else if (p > 0 && t.size() > static_cast<size_t>(p)) {
        t.resize(static_cast<size_t>(p));
      }
      _resultText(pctx, t);
      return;
    }
    case F_DATE:
    case F_TIME:
    case F_TS: {
      DtKind eKind = eTo == F_DATE ? DT_DATE : eTo == F_TIME ? DT_TIME : DT_TS;
      _resultText(pctx, _dtText(_dtOf(pv, eKind), eKind));
      return;
    }
    default:
      sqlite3_result_value(pctx, pv);
      return;
  }
}

/* db2_conv(x, fromkind, tokind, p, s): x as a value of the other type (casts, CASE and VALUE results). */
void _fnConv(sqlite3_context *pctx, int argc, sqlite3_value **argv)
{
  _guard(pctx, argc, argv, 1, [&] {
    _convert(pctx, argv[0], _textArg(argv[1]), _textArg(argv[2]), _intArg(argv[3]), _intArg(argv[4]));
  });
}

/* The text of a double as CHAR() gives it: the shortest mantissa that reads back, "E" and the exponent. */
std::string _doubleText(double d)
{
  if (d == 0) return "0.0E0";
  for (int iDigits = 1; iDigits <= 17; iDigits++) {
    char ac[64];
    std::snprintf(ac, sizeof ac, "%.*E", iDigits - 1, d);
    if (std::strtod(ac, nullptr) != d) continue;
    std::string s = ac;
    size_t ulE = s.find('E');
    std::string strMant = s.substr(0, ulE);
    int iExp = std::atoi(s.c_str() + ulE + 1);
    if (strMant.find('.') == std::string::npos) strMant += ".0";
    return strMant + "E" + std::to_string(iExp);
  }
  return _fmt("%.16E", d);
}

/* db2_char(x, kind, p, s, format, length): CHAR() of any argument, blank-padded to the result's length. */
void _fnChar(sqlite3_context *pctx, int argc, sqlite3_value **argv)
{
  _guard(pctx, argc, argv, 1, [&] {
    std::string strKind = _textArg(argv[1]), strFormat = _textArg(argv[4]);
    int p = _intArg(argv[2]), s = _intArg(argv[3]), iLength = _intArg(argv[5]);
    std::string t;
    switch (_family(strKind)) {
      case F_INT: t = std::to_string(sqlite3_value_int64(argv[0])); break;
      case F_DEC: {
        /* every digit of the precision, the decimal point, a minus sign when negative */
        Dec d = _decOf(argv[0]);
        std::string strDigits = _decRescale(d, s).strDigits;
        if (strDigits == "0") strDigits.clear();
        strDigits.insert(0, static_cast<size_t>(p) - std::min<size_t>(strDigits.size(), static_cast<size_t>(p)), '0');
        t = (d.boNeg ? "-" : "") + strDigits.substr(0, static_cast<size_t>(p - s)) + "." +
            strDigits.substr(static_cast<size_t>(p - s));
        break;
      }
      case F_FLT: t = _doubleText(_doubleOf(argv[0])); break;
      case F_DATE: {
        Dt v = _dtOf(argv[0], DT_DATE);
        long long y = v.y, mo = v.mo, d = v.d;
        if (strFormat == "USA") t = _fmt("%02lld/%02lld/%04lld", mo, d, y);
        else if (strFormat == "EUR") t = _fmt("%02lld.%02lld.%04lld", d, mo, y);
        else t = _fmt("%04lld-%02lld-%02lld", y, mo, d);
        break;
      }
      case F_TIME: {
        Dt v = _dtOf(argv[0], DT_TIME);
        long long h = v.h, mi = v.mi, sec = v.s;
        if (strFormat == "USA") {
          long long h12 = h % 12 == 0 ? 12 : h % 12;
          t = _fmt("%02lld:%02lld %s", h12, mi, h >= 12 && h < 24 ? "PM" : "AM");
        } else if (strFormat == "JIS") {
          t = _fmt("%02lld:%02lld:%02lld", h, mi, sec);
        } else {
          t = _fmt("%02lld.%02lld.%02lld", h, mi, sec);
        }
        break;
      }
      case F_TS: t = _dtText(_dtOf(argv[0], DT_TS), DT_TS); break;
      default: t = _textArg(argv[0]); break;
    }
    if (iLength > 0) t.resize(static_cast<size_t>(iLength), ' ');
    _resultText(pctx, t);
  });
}

/* db2_digits(x, kind, p, s): the digits of the absolute value, p of them. */
void _fnDigits(sqlite3_context *pctx, int argc, sqlite3_value **argv)
{
  _guard(pctx, argc, argv, 1, [&] {
    int p = _intArg(argv[2]), s = _intArg(argv[3]);
    std::string strDigits = _decRescale(_decOf(argv[0]), s).strDigits;
    if (strDigits.size() < static_cast<size_t>(p)) strDigits.insert(0, static_cast<size_t>(p) - strDigits.size(), '0');
    _resultText(pctx, strDigits);
  });
}

/* db2_hex(x, kind, p, s, length): the hexadecimal of the value as DB2 holds it on this machine. */
void _fnHex(sqlite3_context *pctx, int argc, sqlite3_value **argv)
{
  _guard(pctx, argc, argv, 1, [&] {
    std::string strKind = _textArg(argv[1]);
    int p = _intArg(argv[2]), s = _intArg(argv[3]);
    std::string strBytes;
    auto little = [&](uint64_t ull, int n) {
      for (int i = 0; i < n; i++) strBytes += static_cast<char>((ull >> (8 * i)) & 0xFF);
    };
    auto bcd = [&](const std::string &strDigits) {
      for (size_t i = 0; i + 1 < strDigits.size(); i += 2)
        strBytes += static_cast<char>((strDigits[i] - '0') << 4 | (strDigits[i + 1] - '0'));
    };
    switch (_family(strKind)) {
      case F_INT:
        little(static_cast<uint64_t>(sqlite3_value_int64(argv[0])), strKind == "SMALLINT" ? 2 : strKind == "INTEGER" ? 4 : 8);
        break;
      case F_FLT: {
        double d = _doubleOf(argv[0]);
        if (strKind == "REAL") {
          float f = static_cast<float>(d);
          uint32_t ul;
          std::memcpy(&ul, &f, 4);
          little(ul, 4);
        } else {
          uint64_t ull;
          std::memcpy(&ull, &d, 8);
          little(ull, 8);
        }
        break;
      }
      case F_DEC: {
        Dec d = _decRescale(_decOf(argv[0]), s);
        std::string strDigits = d.strDigits;
        size_t ulNibbles = static_cast<size_t>(p / 2 * 2 + 1);
        strDigits.insert(0, ulNibbles - std::min(ulNibbles, strDigits.size()), '0');
        strDigits += d.boNeg ? static_cast<char>('0' + 0xD) : static_cast<char>('0' + 0xC);
        for (size_t i = 0; i + 1 < strDigits.size(); i += 2)
          strBytes += static_cast<char>((strDigits[i] - '0') << 4 | (strDigits[i + 1] - '0'));
        break;
      }
      case F_DATE: {
        Dt t = _dtOf(argv[0], DT_DATE);
        bcd(_fmt("%04lld%02lld%02lld", static_cast<long long>(t.y), static_cast<long long>(t.mo), static_cast<long long>(t.d)));
        break;
      }
      case F_TIME: {
        Dt t = _dtOf(argv[0], DT_TIME);
        bcd(_fmt("%02lld%02lld%02lld", static_cast<long long>(t.h), static_cast<long long>(t.mi), static_cast<long long>(t.s)));
        break;
      }
      case F_TS: {
        Dt t = _dtOf(argv[0], DT_TS);
        bcd(_fmt("%04lld%02lld%02lld%02lld%02lld%02lld%06lld", static_cast<long long>(t.y), static_cast<long long>(t.mo),
                 static_cast<long long>(t.d), static_cast<long long>(t.h), static_cast<long long>(t.mi),
                 static_cast<long long>(t.s), static_cast<long long>(t.us)));
        break;
      }
      default: strBytes = _textArg(argv[0]); break;
    }
    static const char acHex[] = "0123456789ABCDEF";
    std::string t;
    for (unsigned char uc : strBytes) {
      t += acHex[uc >> 4];
      t += acHex[uc & 0xF];
    }
    _resultText(pctx, t);
  });
}

/* db2_length(x, kind, p): DB2's LENGTH: characters of a string, bytes of the stored form of any other value. */
void _fnLength(sqlite3_context *pctx, int argc, sqlite3_value **argv)
{
  _guard(pctx, argc, argv, 1, [&] {
    std::string strKind = _textArg(argv[1]);
    int p = _intArg(argv[2]);
    int64_t ll;
    switch (_family(strKind)) {
      case F_INT: ll = strKind == "SMALLINT" ? 2 : strKind == "INTEGER" ? 4 : 8; break;
      case F_FLT: ll = strKind == "REAL" ? 4 : 8; break;
      case F_DEC: ll = p / 2 + 1; break;
      case F_DATE: ll = 4; break;
      case F_TIME: ll = 3; break;
      case F_TS: ll = 10; break;
      case F_GRAPHIC: {
        std::string t = _textArg(argv[0]);
        ll = 0;
        for (unsigned char uc : t) if ((uc & 0xC0) != 0x80) ll++;
        break;
      }
      default: ll = sqlite3_value_bytes(argv[0]); break;
    }
    sqlite3_result_int64(pctx, ll);
  });
}

/* db2_part(x, kind, part): YEAR ... MIDNIGHT_SECONDS of a date, time, timestamp, string or date duration. */
void _fnPart(sqlite3_context *pctx, int argc, sqlite3_value **argv)
{
  _guard(pctx, argc, argv, 1, [&] {
    std::string strKind = _textArg(argv[1]), strPart = _textArg(argv[2]);
    Family e = _family(strKind);
    if (e == F_DEC || e == F_INT) {
      /* a duration: yyyymmdd, hhmmss or yyyymmddhhmmss.nnnnnn; parts keep its sign */
      Dec d = _decOf(argv[0]);
      bool boNeg = d.boNeg;
      d.boNeg = false;
      std::string strInt = _decText(_decRescale(d, 0), 0), strFrac = _decText(_decRescale(d, 6), 6);
      strFrac = strFrac.substr(strFrac.size() - 6);
      int64_t ll = std::strtoll(strInt.c_str(), nullptr, 10), r;
      bool boTsDuration = d.iScale == 6;
      int64_t llTime = boTsDuration ? ll % 1000000 : ll, llDate = boTsDuration ? ll / 1000000 : ll;
      if (strPart == "YEAR") r = llDate / 10000;
      else if (strPart == "MONTH") r = llDate / 100 % 100;
      else if (strPart == "DAY") r = llDate % 100;
      else if (strPart == "HOUR") r = llTime / 10000;
      else if (strPart == "MINUTE") r = llTime / 100 % 100;
      else if (strPart == "SECOND") r = llTime % 100;
      else if (strPart == "MICROSECOND") r = std::strtoll(strFrac.c_str(), nullptr, 10);
      else _raise("SQL0171N  The data type, length or value of argument \"1\" of routine is incorrect.  SQLSTATE=42815");
      sqlite3_result_int64(pctx, boNeg ? -r : r);
      return;
    }
    DtKind eKind = e == F_DATE ? DT_DATE : e == F_TIME ? DT_TIME : DT_TS;
    if (e == F_CHAR) {
      /* a string: the first form it reads as, timestamp first */
      std::string t = _trimmed(_textArg(argv[0]).c_str());
      Dt v;
      eKind = _parseTimestampText(t, &v) ? DT_TS : _parseDateText(t, &v) ? DT_DATE : DT_TIME;
    }
    Dt v = _dtOf(argv[0], eKind);
    int64_t r;
    if (strPart == "YEAR") r = v.y;
    else if (strPart == "MONTH") r = v.mo;
    else if (strPart == "DAY") r = v.d;
    else if (strPart == "HOUR") r = v.h;
    else if (strPart == "MINUTE") r = v.mi;
    else if (strPart == "SECOND") r = v.s;
    else if (strPart == "MICROSECOND") r = v.us;
    else if (strPart == "DAYS") r = _days(v.y, v.mo, v.d);
    else if (strPart == "DAYOFWEEK") r = (_days(v.y, v.mo, v.d) % 7 + 7) % 7 + 1;   /* 0001-01-01 was a Monday */
    else if (strPart == "DAYOFYEAR") r = _days(v.y, v.mo, v.d) - _days(v.y, 1, 1) + 1;
    else if (strPart == "QUARTER") r = (v.mo - 1) / 3 + 1;
    else if (strPart == "MIDNIGHT_SECONDS") r = (v.h * 60 + v.mi) * 60 + v.s;
    else r = 0;
    sqlite3_result_int64(pctx, r);
  });
}

/* db2_dt(x, kind, tokind): DATE(), TIME(), TIMESTAMP() of one argument. */
void _fnDt(sqlite3_context *pctx, int argc, sqlite3_value **argv)
{
  _guard(pctx, argc, argv, 1, [&] {
    std::string strKind = _textArg(argv[1]), strTo = _textArg(argv[2]);
    Family e = _family(strKind);
    DtKind eTo = strTo == "DATE" ? DT_DATE : strTo == "TIME" ? DT_TIME : DT_TS;
    Dt v;
    if (e == F_INT || e == F_DEC || e == F_FLT) {
      /* DATE(n): the n-th day from 0001-01-01 */
      int64_t n;
      if (!_intOf(argv[0], 1, _days(9999, 12, 31), &n)) _raise(kpcDateRange);
      _civil(n, &v);
    } else if (e == F_DATE) {
      v = _dtOf(argv[0], DT_DATE);
    } else if (e == F_TIME) {
      v = _dtOf(argv[0], DT_TIME);
    } else if (e == F_TS) {
      v = _dtOf(argv[0], DT_TS);
    } else {
      std::string t = _trimmed(_textArg(argv[0]).c_str());
      Dt w;
      if (eTo != DT_TIME && t.size() == 7 && t.find_first_not_of("0123456789") == std::string::npos) {
        /* yyyynnn: year and day of year */
        int64_t y = std::atoll(t.substr(0, 4).c_str()), n = std::atoll(t.substr(4).c_str());
        if (y < 1 || n < 1 || n > (_leap(y) ? 366 : 365)) _raise(kpcDateSyntax);
        _civil(_days(y, 1, 1) + n - 1, &v);
      } else if (t.size() == 14 && eTo == DT_TS && t.find_first_not_of("0123456789") == std::string::npos) {
        v = Dt{std::atoll(t.substr(0, 4).c_str()), std::atoll(t.substr(4, 2).c_str()), std::atoll(t.substr(6, 2).c_str()),
               std::atoll(t.substr(8, 2).c_str()), std::atoll(t.substr(10, 2).c_str()), std::atoll(t.substr(12, 2).c_str()), 0};
        if (!_validDate(v) || !_validTime(v)) _raise(kpcDateSyntax);
      } else if (_parseTimestampText(t, &w) && _validDate(w) && _validTime(w)) {
        v = w;
      } else if (eTo == DT_DATE) {
        v = _dtOf(argv[0], DT_DATE);
      } else if (eTo == DT_TIME) {
        v = _dtOf(argv[0], DT_TIME);
      } else {
        _raise(kpcDateSyntax);
      }
    }
    if (eTo != DT_DATE && e == F_DATE) _raise(kpcDateSyntax);
    _resultText(pctx, _dtText(v, eTo));
  });
}

/* db2_ts2(date, time): TIMESTAMP(date, time). */
void _fnTs2(sqlite3_context *pctx, int argc, sqlite3_value **argv)
{
  _guard(pctx, argc, argv, 2, [&] {
    Dt d = _dtOf(argv[0], DT_DATE), t = _dtOf(argv[1], DT_TIME);
    d.h = t.h;
    d.mi = t.mi;
    d.s = t.s;
    _resultText(pctx, _dtText(d, DT_TS));
  });
}

DtKind _dtKind(const std::string &strKind)
{
  Family e = _family(strKind);
  return e == F_DATE ? DT_DATE : e == F_TIME ? DT_TIME : DT_TS;
}

/* db2_adddur(x, kind, n, unit, sign): a labelled duration added (sign 1) or subtracted (-1). */
void _fnAddDur(sqlite3_context *pctx, int argc, sqlite3_value **argv)
{
  _guard(pctx, argc, argv, 3, [&] {
    DtKind eKind = _dtKind(_textArg(argv[1]));
    Dt v = _dtOf(argv[0], eKind);
    int64_t n;
    if (!_intOf(argv[2], -INT64_MAX, INT64_MAX, &n)) _raise(kpcDateRange);
    if (_intArg(argv[4]) < 0) n = -n;
    _addUnit(&v, eKind, _textArg(argv[3]), n);
    _resultText(pctx, _dtText(v, eKind));
  });
}

/* db2_adddec(x, kind, duration, sign): a DECIMAL date, time or timestamp duration added or subtracted. */
void _fnAddDec(sqlite3_context *pctx, int argc, sqlite3_value **argv)
{
  _guard(pctx, argc, argv, 3, [&] {
    DtKind eKind = _dtKind(_textArg(argv[1]));
    Dt v = _dtOf(argv[0], eKind);
    Dec d = _decOf(argv[2]);
    bool boNeg = d.boNeg != (_intArg(argv[3]) < 0);
    d.boNeg = false;
    std::string strInt = _decText(_decRescale(d, 0), 0), strFrac = _decText(_decRescale(d, 6), 6);
    int64_t ll = std::strtoll(strInt.c_str(), nullptr, 10);
    int64_t llMicro = std::strtoll(strFrac.substr(strFrac.size() - 6).c_str(), nullptr, 10);
    int64_t y = 0, mo = 0, dd = 0, h = 0, mi = 0, s = 0;
    if (eKind == DT_DATE) {
      y = ll / 10000, mo = ll / 100 % 100, dd = ll % 100;
    } else if (eKind == DT_TIME) {
      h = ll / 10000, mi = ll / 100 % 100, s = ll % 100;
    } else {
      y = ll / 10000000000LL, mo = ll / 100000000 % 100, dd = ll / 1000000 % 100;
      h = ll / 10000 % 100, mi = ll / 100 % 100, s = ll % 100;
    }
    int64_t k = boNeg ? -1 : 1;
    if (eKind == DT_TIME) {
      _addUnit(&v, eKind, "HOURS", k * h);
      _addUnit(&v, eKind, "MINUTES", k * mi);
      _addUnit(&v, eKind, "SECONDS", k * s);
    } else {
      /* forwards years, months, days; backwards days, months, years */
      if (!boNeg) {
        _addYears(&v, y);
        _addMonths(&v, mo);
        _addDays(&v, dd);
      } else {
        _addDays(&v, -dd);
        _addMonths(&v, -mo);
        _addYears(&v, -y);
      }
      if (eKind == DT_TS) {
        _addUnit(&v, eKind, "HOURS", k * h);
        _addUnit(&v, eKind, "MINUTES", k * mi);
        _addUnit(&v, eKind, "SECONDS", k * s);
        _addUnit(&v, eKind, "MICROSECONDS", k * llMicro);
      }
    }
    _resultText(pctx, _dtText(v, eKind));
  });
}

/* db2_dtdiff(a, b, kind): a - b as a DECIMAL duration. */
void _fnDtDiff(sqlite3_context *pctx, int argc, sqlite3_value **argv)
{
  _guard(pctx, argc, argv, 2, [&] {
    DtKind eKind = _dtKind(_textArg(argv[2]));
    _resultText(pctx, _dtDiff(_dtOf(argv[0], eKind), _dtOf(argv[1], eKind), eKind));
  });
}

/* db2_abs(x, kind, p, s), db2_sign(...), db2_ceil(...), db2_floor(...). */
void _numFn(sqlite3_context *pctx, int argc, sqlite3_value **argv, char cFn)
{
  _guard(pctx, argc, argv, 1, [&] {
    std::string strKind = _textArg(argv[1]);
    int p = _intArg(argv[2]), s = _intArg(argv[3]);
    switch (_family(strKind)) {
      case F_INT: {
        int64_t a = sqlite3_value_int64(argv[0]);
        if (cFn == 'A') {
          if (a == INT64_MIN) _raise(kpcOverflow);
          _resultInt(pctx, a < 0 ? -a : a, strKind);
        } else if (cFn == 'S') {
          _resultInt(pctx, a < 0 ? -1 : (a > 0 ? 1 : 0), strKind);
        } else {
          _resultInt(pctx, a, strKind);
        }
        return;
      }
      case F_FLT: {
        double a = _doubleOf(argv[0]);
        double r = cFn == 'A' ? std::fabs(a) : cFn == 'S' ? (a < 0 ? -1.0 : (a > 0 ? 1.0 : 0.0))
                 : cFn == 'C' ? std::ceil(a) : std::floor(a);
        _resultDouble(pctx, r, strKind);
        return;
      }
      default: {
        Dec a = _decOf(argv[0]), r;
        if (cFn == 'A') {
          r = a;
          r.boNeg = false;
        } else if (cFn == 'S') {
          r = _decFromInt(a.strDigits == "0" ? 0 : (a.boNeg ? -1 : 1));
        } else {
          r = _decRescale(a, 0);   /* truncated towards zero */
          bool boFraction = _decCmp(r, a) != 0;
          if (boFraction && cFn == 'C' && !a.boNeg) r = _decAdd(r, _decFromInt(1));
          if (boFraction && cFn == 'F' && a.boNeg) r = _decAdd(r, _decFromInt(-1));
          s = 0;
        }
        _resultText(pctx, _decCheck(r, p, s));
        return;
      }
    }
  });
}
void _fnAbs(sqlite3_context *c, int n, sqlite3_value **v) { _numFn(c, n, v, 'A'); }
void _fnSign(sqlite3_context *c, int n, sqlite3_value **v) { _numFn(c, n, v, 'S'); }
void _fnCeil(sqlite3_context *c, int n, sqlite3_value **v) { _numFn(c, n, v, 'C'); }
void _fnFloor(sqlite3_context *c, int n, sqlite3_value **v) { _numFn(c, n, v, 'F'); }

/* db2_trunc(x, n, kind, p, s): TRUNCATE(x, n), digits right (n > 0) or left (n < 0) of the point dropped. */
void _fnTrunc(sqlite3_context *pctx, int argc, sqlite3_value **argv)
{
  _guard(pctx, argc, argv, 2, [&] {
    std::string strKind = _textArg(argv[2]);
    int64_t n;
    if (!_intOf(argv[1], -60, 60, &n)) n = sqlite3_value_int64(argv[1]) < 0 ? -60 : 60;
    int p = _intArg(argv[3]), s = _intArg(argv[4]);
    switch (_family(strKind)) {
      case F_FLT: {
        double a = _doubleOf(argv[0]), f = std::pow(10.0, static_cast<double>(n));
        _resultDouble(pctx, std::trunc(a * f) / f, strKind);
        return;
      }
      default: {
        Dec a = _decOf(argv[0]);
        Dec r = n >= 0 ? _decRescale(a, static_cast<int>(n)) : _decRescale(a, 0);
        if (n < 0) {
          std::string &d = r.strDigits;
          size_t ulZero = static_cast<size_t>(-n);
          if (ulZero >= d.size()) d = "0";
          else d.replace(d.size() - ulZero, ulZero, ulZero, '0');
          _decNorm(&r);
        }
        if (_family(strKind) == F_INT) _resultInt(pctx, std::strtoll(_decText(r, 0).c_str(), nullptr, 10), strKind);
        else _resultText(pctx, _decCheck(r, p, s));
        return;
      }
    }
  });
}

/* db2_mod(a, b, kind, p, s): a - (a / b) * b with the quotient truncated. */
void _fnMod(sqlite3_context *pctx, int argc, sqlite3_value **argv)
{
  _guard(pctx, argc, argv, 2, [&] {
    std::string strKind = _textArg(argv[2]);
    switch (_family(strKind)) {
      case F_INT: {
        int64_t a, b;
        if (!_intOf(argv[0], INT64_MIN, INT64_MAX, &a) || !_intOf(argv[1], INT64_MIN, INT64_MAX, &b)) _raise(kpcOverflow);
        if (b == 0) _raise(kpcDivZero);
        _resultInt(pctx, b == -1 ? 0 : a % b, strKind);
        return;
      }
      case F_FLT: {
        double b = _doubleOf(argv[1]);
        if (b == 0) _raise(kpcDivZero);
        _resultDouble(pctx, std::fmod(_doubleOf(argv[0]), b), strKind);
        return;
      }
      default: {
        Dec a = _decOf(argv[0]), b = _decOf(argv[1]);
        Dec q = _decDiv(a, b, 0);
        _resultText(pctx, _decCheck(_decAdd(a, _decNeg(_decMul(q, b))), _intArg(argv[3]), _intArg(argv[4])));
        return;
      }
    }
  });
}

/* db2_substr(s, start, length or NULL): bytes of a string from start. */
void _fnSubstr(sqlite3_context *pctx, int argc, sqlite3_value **argv)
{
  _guard(pctx, argc, argv, 2, [&] {
    std::string t = _textArg(argv[0]);
    int64_t llStart, llLength;
    if (!_intOf(argv[1], 1, static_cast<int64_t>(t.size()) + 1, &llStart)) _raise(kpcStringArg);
    if (sqlite3_value_type(argv[2]) == SQLITE_NULL) {
      llLength = static_cast<int64_t>(t.size()) - llStart + 1;
    } else if (!_intOf(argv[2], 0, static_cast<int64_t>(t.size()) - llStart + 1, &llLength)) {
      _raise(kpcStringArg);
    }
    _resultText(pctx, t.substr(static_cast<size_t>(llStart - 1), static_cast<size_t>(llLength)));
  });
}

/* db2_strip(s, where, character): B both ends, L leading, T trailing. */
void _fnStrip(sqlite3_context *pctx, int argc, sqlite3_value **argv)
{
  _guard(pctx, argc, argv, 1, [&] {
    std::string t = _textArg(argv[0]), strWhere = _textArg(argv[1]), strChar = _textArg(argv[2]);
    char c = strChar.empty() ? ' ' : strChar[0];
    size_t b = 0, e = t.size();
    if (strWhere != "T")
      while (b < e && t[b] == c) b++;
    if (strWhere != "L")
      while (e > b && t[e - 1] == c) e--;
    _resultText(pctx, t.substr(b, e - b));
  });
}

/* db2_like(s, pattern, escape or NULL): DB2's LIKE, case-sensitive. */
void _fnLike(sqlite3_context *pctx, int argc, sqlite3_value **argv)
{
  _guard(pctx, argc, argv, 2, [&] {
    std::string s = _textArg(argv[0]), p = _textArg(argv[1]);
    bool boEscape = sqlite3_value_type(argv[2]) != SQLITE_NULL;
    std::string strEscape = boEscape ? _textArg(argv[2]) : std::string();
    if (boEscape && strEscape.size() != 1)
      _raise("SQL0130N  The ESCAPE clause is not a single character, or the pattern string contains an invalid "
             "occurrence of the escape character.  SQLSTATE=22019");
    /* tokens: 0 literal character, 1 any character, 2 any string */
    std::vector<std::pair<int, char>> v;
    for (size_t i = 0; i < p.size(); i++) {
      if (boEscape && p[i] == strEscape[0]) {
        if (i + 1 >= p.size() || (p[i + 1] != '%' && p[i + 1] != '_' && p[i + 1] != strEscape[0]))
          _raise("SQL0130N  The ESCAPE clause is not a single character, or the pattern string contains an invalid "
                 "occurrence of the escape character.  SQLSTATE=22019");
        v.push_back({0, p[++i]});
      } else if (p[i] == '%') {
        v.push_back({2, 0});
      } else if (p[i] == '_') {
        v.push_back({1, 0});
      } else {
        v.push_back({0, p[i]});
      }
    }
    /* iterative match with backtracking on the last %, over bytes */
    size_t si = 0, pi = 0, starP = std::string::npos, starS = 0;
    while (si < s.size()) {
      if (pi < v.size() && v[pi].first == 2) {
        starP = pi++;
        starS = si;
      } else if (pi < v.size() && (v[pi].first == 1 || v[pi].second == s[si])) {
        pi++;
        si++;
      } else if (starP != std::string::npos) {
        pi = starP + 1;
        si = ++starS;
      } else {
        sqlite3_result_int(pctx, 0);
        return;
      }
    }
    while (pi < v.size() && v[pi].first == 2) pi++;
    sqlite3_result_int(pctx, pi == v.size() ? 1 : 0);
  });
}

/* db2_current(kind): CURRENT DATE, TIME or TIMESTAMP, local time. */
void _fnCurrent(sqlite3_context *pctx, int argc, sqlite3_value **argv)
{
  _guard(pctx, argc, argv, 0, [&] {
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    struct tm tmLocal;
    localtime_r(&ts.tv_sec, &tmLocal);
    Dt v{tmLocal.tm_year + 1900, tmLocal.tm_mon + 1, tmLocal.tm_mday, tmLocal.tm_hour, tmLocal.tm_min,
         tmLocal.tm_sec, ts.tv_nsec / 1000};
    _resultText(pctx, _dtText(v, _dtKind(_textArg(argv[0]))));
  });
}

struct FnEntry {
  const char *pcName;
  int iArgs;
  void (*fn)(sqlite3_context *, int, sqlite3_value **);
  bool boDeterministic;
};

const FnEntry gaFunctions[] = {
    {"db2_dec", 3, _fnDec, true},       {"db2_pad", 2, _fnPad, true},       {"db2_arith", 6, _fnArith, true},
    {"db2_neg", 4, _fnNeg, true},       {"db2_cmp", 2, _fnCmp, true},       {"db2_num", 1, _fnNum, true},
    {"db2_conv", 5, _fnConv, true},     {"db2_char", 6, _fnChar, true},     {"db2_digits", 4, _fnDigits, true},
    {"db2_hex", 5, _fnHex, true},       {"db2_length", 3, _fnLength, true}, {"db2_part", 3, _fnPart, true},
    {"db2_dt", 3, _fnDt, true},         {"db2_ts2", 2, _fnTs2, true},       {"db2_adddur", 5, _fnAddDur, true},
    {"db2_adddec", 4, _fnAddDec, true}, {"db2_dtdiff", 3, _fnDtDiff, true}, {"db2_abs", 4, _fnAbs, true},
    {"db2_sign", 4, _fnSign, true},     {"db2_ceil", 4, _fnCeil, true},     {"db2_floor", 4, _fnFloor, true},
    {"db2_trunc", 5, _fnTrunc, true},   {"db2_mod", 5, _fnMod, true},       {"db2_substr", 3, _fnSubstr, true},
    {"db2_strip", 3, _fnStrip, true},   {"db2_like", 3, _fnLike, true},     {"db2_current", 1, _fnCurrent, false},
};

}  // namespace

int db2standRegisterFunctions(sqlite3 *pdb)
{
  for (const FnEntry &f : gaFunctions) {
    int iFlags = SQLITE_UTF8 | (f.boDeterministic ? SQLITE_DETERMINISTIC : 0);
    int iRc = sqlite3_create_function_v2(pdb, f.pcName, f.iArgs, iFlags, nullptr, f.fn, nullptr, nullptr, nullptr);
    if (iRc != SQLITE_OK) return iRc;
  }
  return SQLITE_OK;
}

bool db2standDb2Error(const std::string &strMessage, db2standSqlError *perr)
{
  if (strMessage.size() < 9 || strMessage.compare(0, 3, "SQL") != 0) return false;
  for (size_t i = 3; i < 7; i++)
    if (!std::isdigit(static_cast<unsigned char>(strMessage[i]))) return false;
  size_t ulState = strMessage.find("SQLSTATE=");
  if (ulState == std::string::npos) return false;
  perr->iSqlcode = -std::atoi(strMessage.substr(3, 4).c_str());
  perr->strState = strMessage.substr(ulState + 9, 5);
  perr->strText = strMessage;
  return true;
}
