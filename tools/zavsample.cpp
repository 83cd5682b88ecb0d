/*
** zavsample.cpp
**   Builds the bundled sample instance: an installation tree for db2zav
**   (bin/, cfg/db2zav.cfg, cfg/db2zav.trace, msg/db2zav) and a DB2 instance
**   "zavinst" of two database partitions on this host, with one database
**   SAMPLE holding a fixed data set.  The data set is defined once, here,
**   and goes both into the DB2 stand-in's engine (as INSERT statements) and
**   into DB2's own files, so that reading the files directly and asking the
**   engine give the same unloads:
**     - the table-space control file SQLSPCS.1 of each partition;
**     - DMSDATA, DMSLONG and PARTSPACE as DMS table spaces over file
**       containers (object table, extent maps, data, long-field and LOB
**       objects), USERSPACE1 as SMS (container directories with the tables'
**       .DAT, .LF and .LB files);
**     - a backup image of each partition, named as DB2 names them, holding
**       the user table spaces and, on partition 0, the catalogue table space.
**   The partitioned table EMPPART lies in PARTSPACE, whose rows are spread
**   over both partitions' containers; the stand-in holds them all.
**
**   Usage: zavsample <target directory> [<message catalogue dir>] [<db2zav program>]
**                    [--employees N]
**   --employees N: EMPLOYEE (and EMPPART) get N rows, the first ones the
**   fixed rows, the others generated deterministically from the row number.
**   Afterwards: TOPZAV=<target>/topzav, ZAVDB2_INSTHOME=<target>/home,
**   DB2INSTANCE=zavinst (see <target>/env.sh).
**
**   Pages are built with tools/db2pages.h (records, data pages, torn-page
**   bits), tools/db2emp.h (extent maps, object table), tools/db2spcs.h
**   (control file) and tools/db2backup.h (backup image).  A DMS table space
**   here: container header of one page, one stripe over its containers;
**   table-space page 1 is the object table's extent map, extent 1 the
**   object table, then per object an extent-map extent followed by its
**   data extents.
*/
#include "platform/db2admin.h"
#include "tools/db2backup.h"
#include "tools/db2emp.h"
#include "tools/db2pages.h"
#include "tools/db2spcs.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using db2pages::Bytes;

namespace {

const uint32_t kPageSize = 4096;
const uint32_t kExtent = 16;
const size_t kInline = 32700;   /* a LOB column's bytes a row carries at most without LOB files */

int _fail(const std::string &strWhat, const std::string &strError)
{
  std::fprintf(stderr, "zavsample: %s: %s\n", strWhat.c_str(), strError.c_str());
  return 1;
}

std::string _hostName()
{
  char ac[256] = {0};
  if (gethostname(ac, sizeof ac - 1) != 0) return "localhost";
  std::string str = ac;
  size_t ulDot = str.find('.');
  return ulDot == std::string::npos ? str : str.substr(0, ulDot);
}

/* ------------------------------------------------------------ the data set */

enum class T { CHAR, VARCHAR, SMALLINT, INTEGER, BIGINT, DECIMAL, DATE, TIME, TIMESTAMP, DOUBLE, REAL, CLOB, BLOB, LONGVAR };

struct Col {
  const char *pcName;
  const char *pcType;   /* DB2 type text */
  T t;
  int iLength;          /* CHAR, VARCHAR: length; DECIMAL: precision */
  int iScale;
  bool boNullable;
  const char *pcDefault;
};

/* A value: none for NULL; text in DB2's external form (BLOB: the bytes). */
using Val = std::optional<std::string>;
using Row = std::vector<Val>;

struct Table {
  const char *pcName;
  const char *pcSpace;
  const char *pcLongSpace;
  int iId;
  std::vector<Col> vCols;
  std::function<Row(size_t)> fnRow;
  size_t ulRows;
  /* partitioned: rows [0, ulSplit) on partition 0, the others on partition 1 */
  size_t ulSplit = static_cast<size_t>(-1);
};

const std::vector<Col> &EmployeeCols()
{
  static const std::vector<Col> v = {
      {"EMPNO", "CHAR(6)", T::CHAR, 6, 0, false, ""},
      {"FIRSTNME", "VARCHAR(12)", T::VARCHAR, 12, 0, false, ""},
      {"LASTNAME", "VARCHAR(15)", T::VARCHAR, 15, 0, false, ""},
      {"WORKDEPT", "CHAR(3)", T::CHAR, 3, 0, true, ""},
      {"PHONENO", "CHAR(4)", T::CHAR, 4, 0, true, ""},
      {"HIREDATE", "DATE", T::DATE, 4, 0, true, ""},
      {"STARTTIME", "TIME", T::TIME, 3, 0, true, ""},
      {"SALARY", "DECIMAL(9,2)", T::DECIMAL, 9, 2, true, ""},
      {"BONUS", "DECIMAL(9,2)", T::DECIMAL, 9, 2, true, "0"},
      {"EDLEVEL", "SMALLINT", T::SMALLINT, 2, 0, false, ""},
      {"CREATED", "TIMESTAMP", T::TIMESTAMP, 10, 0, true, ""},
      {"RATING", "DOUBLE", T::DOUBLE, 8, 0, true, ""},
      {"SCORE", "REAL", T::REAL, 4, 0, true, ""},
      {"BIGID", "BIGINT", T::BIGINT, 8, 0, true, ""}};
  return v;
}

/* The fixed employees: NULLs, negative and zero decimals, quotes and
   delimiters inside character values. */
const std::vector<Row> &FixedEmployees()
{
  const Val N;
  static const std::vector<Row> v = {
      {"000010", "CHRISTINE", "HAAS", "A00", "3978", "1965-01-01", "08.00.00", "52750.00", "1000.00", "18",
       "2004-03-15-10.20.30.123456", "4.5", "1.25", "9000000000001"},
      {"000020", "MICHAEL", "THOMPSON", "B01", "3476", "1973-10-10", "09.15.00", "41250.00", "800.00", "18",
       "2004-03-15-10.20.31.000000", "3.75", "2.5", "9000000000002"},
      {"000030", "SALLY", "KWAN", "C01", "4738", "1975-04-05", "07.30.00", "38250.00", "800.00", "20",
       "2004-03-15-10.20.32.500000", "4.0", "3.0", "-9000000000003"},
      {"000050", "JOHN", "GEYER", "E01", "6789", "1949-08-17", "10.45.59", "40175.00", N, "16",
       "2004-03-16-00.00.00.000001", N, N, "0"},
      {"000060", "IRVING", "STERN", "D11", "6423", "1973-09-14", "12.00.00", "32250.00", "500.00", "16", N, "2.0",
       "0.5", "42"},
      {"000070", "EVA", "PULASKI", "D21", "7831", "1980-09-30", "23.59.59", "36170.00", "-0.50", "16",
       "2004-12-31-23.59.59.999999", "1.0E10", "-1.5", "-1"},
      {"000090", "EILEEN", "HENDERSON", "E11", "5498", "1970-08-15", "00.00.00", "29750.00", "0.00", "16",
       "2000-02-29-12.00.00.000000", "-2.25", "100.0", "123456789"},
      {"000100", "THEODORE", "SPENSER", "E21", "0972", "1980-06-19", N, "26150.00", "500.00", "14",
       "1999-01-01-00.00.00.000000", "0.0", "0.0", "7"},
      {"000110", "VINCENZO", "LUCCHESSI", "A00", "3490", "1958-05-16", "14.30.00", "46500.00", "900.00", "19",
       "2001-07-04-09.00.00.000000", "3.0", "4.0", "8"},
      {"000120", "SEAN", "O'CONNELL", "A00", "2167", "1963-12-05", "16.05.07", "29250.00", "600.00", "14",
       "2002-11-11-11.11.11.111111", "2.5", "2.5", "9"},
      {"000130", "DELORES", "QUINTANA", "C01", "4578", "1971-07-28", "06.00.00", "23800.00", "500.00", "16",
       "2003-05-05-05.05.05.050505", "1.5", "1.5", "10"},
      {"000140", "HEATHER", "NICHOLLS", "C01", N, "1976-12-15", "18.20.00", "28420.00", "600.00", "18",
       "2003-06-06-06.06.06.060606", "3.5", "3.5", "11"},
      {"000150", "BRUCE", "ADAMSON", "D11", "4510", "1972-02-12", "13.00.00", "25280.00", "500.00", "16",
       "2003-07-07-07.07.07.070707", "2.0", "2.0", "12"},
      {"000160", "ELIZABETH", "PIANKA", "D11", "3782", "1977-10-11", "11.11.11", "22250.00", "400.00", "17",
       "2003-08-08-08.08.08.080808", "2.0", "2.0", "13"},
      {"000170", "MASATOSHI", "YOSHIMURA", "D11", "2890", "1978-09-15", "15.15.15", "24680.00", "500.00", "16",
       "2003-09-09-09.09.09.090909", "2.0", "2.0", "14"},
      {"000180", "MARILYN", "SCOUTTEN", "D11", "1682", "1973-07-07", "17.17.17", "21340.00", "500.00", "17",
       "2003-10-10-10.10.10.101010", "2.0", "2.0", "15"},
      {"000190", "JAMES", "WALKER", "D11", "2986", "1974-07-26", "19.19.19", "20450.00", "400.00", "16",
       "2003-11-11-11.11.11.111111", "2.0", "2.0", "16"},
      {"000200", "DAVID", "BROWN", "D11", "4501", "1966-03-03", "20.20.20", "27740.00", "600.00", "16",
       "2003-12-12-12.12.12.121212", "2.0", "2.0", "17"},
      {"000210", "WILLIAM", "JONES", "D11", "0942", "1979-04-11", "21.21.21", "18270.00", "400.00", "17",
       "2004-01-13-13.13.13.131313", "2.0", "2.0", "18"},
      {"000220", "JENNIFER", "LUTZ, \"JEN\"", "D11", "0672", "1968-08-29", "22.22.22", "29840.00", "600.00", "18",
       "2004-02-14-14.14.14.141414", "2.0", "2.0", "19"}};
  return v;
}

/* Employee i: a fixed one, or one made from i alone (values exact in every form). */
Row Employee(size_t i)
{
  const auto &vFixed = FixedEmployees();
  if (i < vFixed.size()) return vFixed[i];
  static const char *const apcFirst[] = {"ANNA", "BORIS", "CARLA", "DMITRI", "ELENA", "FRANZ", "GRETA", "HUGO"};
  static const char *const apcLast[] = {"MEYER", "ROSSI", "DUBOIS", "NOVAK", "SILVA", "JANSEN", "KOWALSKI"};
  static const char *const apcDept[] = {"A00", "B01", "C01", "D11", "D21", "E01", "E11", "E21"};
  char ac[64];
  Row r(14);
  std::snprintf(ac, sizeof ac, "%06zu", 1000000 + i);
  r[0] = std::string(ac + 1);
  r[1] = apcFirst[i % 8];
  r[2] = std::string(apcLast[i % 7]) + std::to_string(i % 1000);
  if (i % 11 != 0) r[3] = apcDept[i % 8];
  std::snprintf(ac, sizeof ac, "%04zu", i % 10000);
  r[4] = std::string(ac);
  std::snprintf(ac, sizeof ac, "%04zu-%02zu-%02zu", 1950 + i % 50, 1 + i % 12, 1 + i % 28);
  r[5] = std::string(ac);
  if (i % 13 != 0) {
    std::snprintf(ac, sizeof ac, "%02zu.%02zu.%02zu", i % 24, i % 60, (i * 7) % 60);
    r[6] = std::string(ac);
  }
  std::snprintf(ac, sizeof ac, "%zu.%02zu", 15000 + (i * 37) % 40000, i % 100);
  r[7] = std::string(ac);
  if (i % 17 != 0) {
    std::snprintf(ac, sizeof ac, "%s%zu.%02zu", i % 5 == 0 ? "-" : "", (i * 3) % 1000, (i * 7) % 100);
    r[8] = std::string(ac);
  }
  r[9] = std::to_string(12 + i % 9);
  if (i % 19 != 0) {
    std::snprintf(ac, sizeof ac, "%04zu-%02zu-%02zu-%02zu.%02zu.%02zu.%06zu", 1990 + i % 20, 1 + i % 12,
                  1 + i % 28, i % 24, i % 60, (i * 11) % 60, (i * 7919) % 1000000);
    r[10] = std::string(ac);
  }
  /* quarter steps: exact in binary, the same text on every path */
  std::snprintf(ac, sizeof ac, "%zu.%s", i % 10, (const char *const[]){"0", "25", "5", "75"}[i % 4]);
  r[11] = std::string(ac);
  if (i % 23 != 0) {
    std::snprintf(ac, sizeof ac, "%zu.5", i % 100);
    r[12] = std::string(ac);
  }
  r[13] = std::to_string(static_cast<long long>(i) * 1000003LL - 500000000000LL);
  return r;
}

/* A text of n bytes that shows where each part came from. */
std::string Pattern(size_t n, char cSeed)
{
  std::string s;
  s.reserve(n);
  for (size_t i = 0; s.size() < n; i++) s += std::string(1, static_cast<char>('A' + (cSeed + i) % 26)) + std::to_string(i % 1000) + " ";
  s.resize(n);
  return s;
}

std::string Binary(size_t n, unsigned uSeed)
{
  std::string s(n, '\0');
  uint32_t x = uSeed * 2654435761u + 1;
  for (size_t i = 0; i < n; i++) {
    x = x * 1103515245u + 12345u;
    s[i] = static_cast<char>(x >> 16);
  }
  return s;
}

std::vector<Table> DataSet(size_t ulEmployees)
{
  std::vector<Table> v;
  const Val N;
  v.push_back({"DEPT", "USERSPACE1", "", 2,
               {{"DEPTNO", "CHAR(3)", T::CHAR, 3, 0, false, ""},
                {"DEPTNAME", "VARCHAR(36)", T::VARCHAR, 36, 0, false, ""},
                {"MGRNO", "CHAR(6)", T::CHAR, 6, 0, true, ""},
                {"LOCATION", "CHAR(16)", T::CHAR, 16, 0, true, "'NOWHERE'"}},
               [N](size_t i) {
                 static const std::vector<Row> vRows = {{"A00", "SPIFFY COMPUTER SERVICE DIV.", "000010", "NEW YORK"},
                                                        {"B01", "PLANNING", "000020", N},
                                                        {"C01", "INFORMATION CENTER", "000030", "SAN JOSE"},
                                                        {"D11", "MANUFACTURING SYSTEMS", "000060", N},
                                                        {"E01", "SUPPORT SERVICES", "000050", "PARIS"}};
                 return vRows[i];
               },
               5});
  v.push_back({"NOTES", "USERSPACE1", "", 3,
               {{"ID", "INTEGER", T::INTEGER, 4, 0, false, ""},
                {"TOPIC", "VARCHAR(20)", T::VARCHAR, 20, 0, true, ""},
                {"BODY", "LONG VARCHAR", T::LONGVAR, 32700, 0, true, ""},
                {"TEXT", "CLOB(1M)", T::CLOB, 1048576, 0, true, ""}},
               [N](size_t i) {
                 switch (i) {
                   case 0: return Row{"1", "short", "a short long field", "a short large object"};
                   case 1: return Row{"2", N, N, N};
                   case 2: return Row{"3", "pages", Pattern(9000, 3), Pattern(5000, 4)};
                   default: return Row{"4", "long lob", "x", Pattern(40000, 5)};
                 }
               },
               4});
  v.push_back({"EMPLOYEE", "DMSDATA", "", 4, EmployeeCols(), Employee, ulEmployees});
  v.push_back({"DOCS", "DMSDATA", "DMSLONG", 5,
               {{"ID", "INTEGER", T::INTEGER, 4, 0, false, ""},
                {"TITLE", "VARCHAR(40)", T::VARCHAR, 40, 0, true, ""},
                {"BODY", "CLOB(64K)", T::CLOB, 65536, 0, true, ""},
                {"PHOTO", "BLOB(64K)", T::BLOB, 65536, 0, true, ""},
                {"NOTES", "LONG VARCHAR", T::LONGVAR, 32700, 0, true, ""}},
               [N](size_t i) {
                 switch (i) {
                   case 0: return Row{"1", "first", "A short character large object.", std::string("\x00\x01\x02\x03\xFF", 5),
                                      "long varchar one"};
                   case 1: return Row{"2", N, N, N, N};
                   case 2: return Row{"3", "third", "Line one\nLine two", std::string("\xDE\xAD\xBE\xEF"), "x"};
                   case 3: return Row{"4", "big", Pattern(40000, 7), Binary(50000, 4), Pattern(20000, 8)};
                   default: return Row{"5", "empty", "", "", ""};
                 }
               },
               5});
  Table part{"EMPPART", "PARTSPACE", "", 2, EmployeeCols(), Employee, ulEmployees};
  part.ulSplit = ulEmployees / 2;
  v.push_back(part);
  return v;
}

/* ------------------------------------------------------ values in DB2 forms */

std::string _sqlQuote(const std::string &s)
{
  std::string o = "'";
  for (char c : s) {
    if (c == '\'') o += "''";
    else o += c;
  }
  return o + "'";
}

std::string SqlLiteral(const Col &c, const Val &v)
{
  if (!v) return "NULL";
  switch (c.t) {
    case T::SMALLINT:
    case T::INTEGER:
    case T::BIGINT:
    case T::DOUBLE:
    case T::REAL: return *v;
    case T::BLOB: {
      static const char *const pcHex = "0123456789ABCDEF";
      std::string o = "X'";
      for (unsigned char uc : *v) {
        o += pcHex[uc >> 4];
        o += pcHex[uc & 15];
      }
      return o + "'";
    }
    default: break;
  }
  /* a line feed goes in as char(10), as a statement written by hand would have it */
  std::string o, strPiece;
  bool boFirst = true;
  auto flush = [&]() {
    o += (boFirst ? "" : " || ") + _sqlQuote(strPiece);
    boFirst = false;
    strPiece.clear();
  };
  for (char ch : *v) {
    if (ch == '\n') {
      flush();
      o += " || char(10)";
    } else {
      strPiece += ch;
    }
  }
  flush();
  return o;
}

unsigned char _bcd(unsigned u) { return static_cast<unsigned char>((u / 10) << 4 | (u % 10)); }

/* Packed decimal of precision p, scale s from "-123.45". */
Bytes Packed(const std::string &strText, int iPrecision, int iScale)
{
  bool boNeg = !strText.empty() && strText[0] == '-';
  std::string strDigits, strInt = strText.substr(boNeg ? 1 : 0), strFrac;
  size_t ulDot = strInt.find('.');
  if (ulDot != std::string::npos) {
    strFrac = strInt.substr(ulDot + 1);
    strInt = strInt.substr(0, ulDot);
  }
  strFrac.resize(static_cast<size_t>(iScale), '0');
  strDigits = strInt + strFrac;
  size_t ulNibbles = static_cast<size_t>(iPrecision / 2 * 2 + 1);   /* digits the bytes hold, sign apart */
  strDigits.insert(0, ulNibbles - strDigits.size(), '0');
  Bytes b(static_cast<size_t>(iPrecision / 2 + 1), 0);
  for (size_t k = 0; k < ulNibbles; k++) {
    unsigned u = static_cast<unsigned>(strDigits[k] - '0');
    b[k / 2] |= static_cast<unsigned char>(k % 2 == 0 ? u << 4 : u);
  }
  b.back() |= boNeg ? 0x0D : 0x0C;
  return b;
}

Bytes _date(const char *p)
{
  unsigned y = static_cast<unsigned>(std::atoi(p)), m = static_cast<unsigned>(std::atoi(p + 5)),
           d = static_cast<unsigned>(std::atoi(p + 8));
  return {_bcd(y / 100), _bcd(y % 100), _bcd(m), _bcd(d)};
}

Bytes _time(const char *p)
{
  return {_bcd(static_cast<unsigned>(std::atoi(p))), _bcd(static_cast<unsigned>(std::atoi(p + 3))),
          _bcd(static_cast<unsigned>(std::atoi(p + 6)))};
}

/* The in-record bytes of a fixed-width value. */
Bytes Stored(const Col &c, const std::string &s)
{
  Bytes b;
  switch (c.t) {
    case T::CHAR:
      b.assign(s.begin(), s.end());
      b.resize(static_cast<size_t>(c.iLength), ' ');
      return b;
    case T::VARCHAR: return Bytes(s.begin(), s.end());
    case T::SMALLINT: return db2pages::le16(static_cast<uint16_t>(std::stoi(s)));
    case T::INTEGER: return db2pages::le32(static_cast<uint32_t>(std::stol(s)));
    case T::BIGINT: {
      uint64_t ull = static_cast<uint64_t>(std::stoll(s));
      b.resize(8);
      obytePutLE64(b.data(), ull);
      return b;
    }
    case T::DOUBLE: {
      double d = std::strtod(s.c_str(), nullptr);
      uint64_t ull;
      std::memcpy(&ull, &d, 8);
      b.resize(8);
      obytePutLE64(b.data(), ull);
      return b;
    }
    case T::REAL: {
      float f = std::strtof(s.c_str(), nullptr);
      uint32_t ul;
      std::memcpy(&ul, &f, 4);
      return db2pages::le32(ul);
    }
    case T::DECIMAL: return Packed(s, c.iLength, c.iScale);
    case T::DATE: return _date(s.c_str());
    case T::TIME: return _time(s.c_str());
    case T::TIMESTAMP: {
      b = _date(s.c_str());
      Bytes t = _time(s.c_str() + 11);
      b.insert(b.end(), t.begin(), t.end());
      unsigned long ulMicro = std::strtoul(s.c_str() + 20, nullptr, 10);
      b.push_back(_bcd(static_cast<unsigned>(ulMicro / 10000)));
      b.push_back(_bcd(static_cast<unsigned>(ulMicro / 100 % 100)));
      b.push_back(_bcd(static_cast<unsigned>(ulMicro % 100)));
      return b;
    }
    default: return b;
  }
}

/* Stored type code and descriptor length of a column. */
db2pages::Column StoredColumn(const Col &c)
{
  switch (c.t) {
    case T::CHAR: return {256, static_cast<int16_t>(c.iLength), c.boNullable};
    case T::VARCHAR: return {257, static_cast<int16_t>(c.iLength), c.boNullable};
    case T::SMALLINT: return {0, 2, c.boNullable};
    case T::INTEGER: return {1, 4, c.boNullable};
    case T::BIGINT: return {5, 8, c.boNullable};
    case T::DECIMAL: return {2, static_cast<int16_t>(c.iLength), c.boNullable, c.iScale};
    case T::DATE: return {261, 4, c.boNullable};
    case T::TIME: return {262, 3, c.boNullable};
    case T::TIMESTAMP: return {263, 10, c.boNullable};
    case T::DOUBLE: return {3, 8, c.boNullable};
    case T::REAL: return {4, 4, c.boNullable};
    case T::CLOB: return {265, 0, c.boNullable};
    case T::BLOB: return {264, 0, c.boNullable};
    case T::LONGVAR: return {260, 32700, c.boNullable};
  }
  return {1, 4, false};
}

/* ------------------------------------------------------ long data objects */

/* The bytes of a table's long-field or LOB object, by object page. */
struct LongObject {
  uint32_t ulUnit;   /* 512: long fields (positions in 512-byte units); 1024: LOBs */
  Bytes bytes;
  LongObject(uint32_t ul) : ulUnit(ul), bytes(kPageSize, 0) {}   /* object page 0 is left empty */
  /* Places data at the next unit; returns its position in units. */
  uint32_t put(const std::string &s)
  {
    uint32_t ulPos = static_cast<uint32_t>(bytes.size() / ulUnit);
    bytes.insert(bytes.end(), s.begin(), s.end());
    bytes.resize((bytes.size() + ulUnit - 1) / ulUnit * ulUnit, 0);
    return ulPos;
  }
  std::vector<Bytes> pages() const
  {
    std::vector<Bytes> v;
    for (size_t at = 0; at < bytes.size(); at += kPageSize) {
      Bytes p(kPageSize, 0);
      std::memcpy(p.data(), bytes.data() + at, std::min<size_t>(kPageSize, bytes.size() - at));
      v.push_back(p);
    }
    return v;
  }
};

/* A long-field descriptor: length at 0, position (512-byte units) at 8. */
Bytes LongFieldDescriptor(LongObject &lf, const std::string &s)
{
  Bytes d(24, 0);
  db2pages::putLE32(d, 0, static_cast<uint32_t>(s.size()));
  db2pages::putLE32(d, 8, lf.put(s));
  return d;
}

/*
** A LOB descriptor: its segments in buddy order (1 KB << 0 for the first, the
** running size shifted left by i bits before segment i), each at its own 1 KB
** unit of the LOB object.  Slot count at 2, length at 8, tail count 0 at 20,
** buddy size code 0 at 21, segment starts (1 KB units) from 56.
*/
Bytes LobDescriptor(LongObject &lob, const std::string &s)
{
  std::vector<uint32_t> vStarts;
  size_t ulDone = 0, ulRun = 1024;
  for (size_t i = 0; ulDone < s.size() || i == 0; i++) {
    if (i > 0) ulRun <<= i;
    size_t ulTake = std::min(ulRun, s.size() - ulDone);
    vStarts.push_back(lob.put(s.substr(ulDone, ulTake)));
    ulDone += ulTake;
    if (s.empty()) break;
  }
  Bytes d(56 + 4 * vStarts.size(), 0);
  d[2] = static_cast<unsigned char>(vStarts.size());
  db2pages::putLE32(d, 8, static_cast<uint32_t>(s.size()));
  for (size_t i = 0; i < vStarts.size(); i++) db2pages::putLE32(d, 56 + 4 * i, vStarts[i]);
  return d;
}

/* ------------------------------------------------------------ data pages */

/* A table's records and the pages they fill. */
struct TablePages {
  std::vector<Bytes> vPages;
  std::vector<std::vector<Bytes>> vSlots;   /* records of the page being filled */
  size_t ulUsed = 0;
  std::vector<db2pages::Column> vCols;

  explicit TablePages(const std::vector<db2pages::Column> &cols) : vCols(cols) { startPage(); }

  static size_t room(size_t ulSlots, size_t ulBytes) { return db2pages::kSlotDir + 20 + 2 * ulSlots + ulBytes; }
  void startPage()
  {
    vSlots.emplace_back();
    size_t p = vSlots.size() - 1;
    ulUsed = 0;
    if (p == 0) {
      /* header (page count set at the end), an empty slot, the table directory, the descriptor */
      vSlots[0] = {db2pages::fileHeader(0), Bytes{}, db2pages::other(1, 16), db2pages::descriptor(vCols)};
    } else if (p % 500 == 0) {
      vSlots[p] = {db2pages::other(1, 16)};   /* every 500th page starts with a space-map record */
    }
    for (const Bytes &r : vSlots[p]) ulUsed += (r.size() + 3) & ~size_t(3);
  }
  /* Adds records that must share a page (a pointer and its overflow record). */
  void add(const std::vector<Bytes> &vRecs)
  {
    size_t ulBytes = 0;
    for (const Bytes &r : vRecs) ulBytes += (r.size() + 3) & ~size_t(3);
    if (room(vSlots.back().size() + vRecs.size(), ulUsed + ulBytes) > kPageSize || vSlots.back().size() + vRecs.size() > 255)
      startPage();
    for (const Bytes &r : vRecs) vSlots.back().push_back(r);
    ulUsed += ulBytes;
  }
  uint32_t currentPage() const { return static_cast<uint32_t>(vSlots.size() - 1); }
  size_t nextSlot() const { return vSlots.back().size(); }
  bool fits(size_t ulBytes, size_t ulRecs) const
  {
    return room(vSlots.back().size() + ulRecs, ulUsed + ulBytes) <= kPageSize && vSlots.back().size() + ulRecs <= 255;
  }
  /* The pages, torn as DB2 writes them. */
  std::vector<Bytes> finish()
  {
    vSlots[0][0] = db2pages::fileHeader(static_cast<uint32_t>(vSlots.size()));
    std::vector<Bytes> v;
    for (size_t p = 0; p < vSlots.size(); p++) {
      Bytes page = db2pages::page(kPageSize, static_cast<uint32_t>(p), vSlots[p]);
      db2pages::tear(page, static_cast<int>(p % 2));
      v.push_back(std::move(page));
    }
    return v;
  }
};

/* The pages of a table's rows [ulFrom, ulTo), with its long-field and LOB objects. */
struct TableImage {
  std::vector<Bytes> vData;
  LongObject lf{512}, lob{1024};
  bool boLong = false;
};

TableImage BuildTable(const Table &t, size_t ulFrom, size_t ulTo)
{
  TableImage img;
  std::vector<db2pages::Column> vCols;
  for (const Col &c : t.vCols) {
    vCols.push_back(StoredColumn(c));
    if (c.t == T::CLOB || c.t == T::BLOB || c.t == T::LONGVAR) img.boLong = true;
  }
  TablePages tp(vCols);
  for (size_t i = ulFrom; i < ulTo; i++) {
    Row r = t.fnRow(i);
    std::vector<db2pages::Value> vVals;
    for (size_t k = 0; k < t.vCols.size(); k++) {
      const Col &c = t.vCols[k];
      if (!r[k]) vVals.push_back(db2pages::null());
      else if (c.t == T::LONGVAR) vVals.push_back(db2pages::val(LongFieldDescriptor(img.lf, *r[k])));
      else if (c.t == T::CLOB || c.t == T::BLOB) vVals.push_back(db2pages::val(LobDescriptor(img.lob, *r[k])));
      else vVals.push_back(db2pages::val(Stored(c, *r[k])));
    }
    size_t n = i - ulFrom;
    if (n % 7 == 3 && !img.boLong) {
      /* value-compressed */
      tp.add({db2pages::compressed(vCols, vVals)});
    } else if (n % 50 == 17) {
      /* a row moved away from its home slot: a pointer to the overflow record beside it */
      Bytes rec = db2pages::row(vCols, vVals, 4);
      size_t ulBytes = ((rec.size() + 3) & ~size_t(3)) + 8;
      if (!tp.fits(ulBytes, 2)) tp.startPage();
      Bytes ptr = db2pages::pointer(tp.currentPage(), static_cast<unsigned>(tp.nextSlot() + 1));
      tp.add({ptr, rec});
    } else {
      tp.add({db2pages::row(vCols, vVals)});
    }
  }
  img.vData = tp.finish();
  return img;
}

Bytes Concat(const std::vector<Bytes> &vPages)
{
  Bytes v;
  for (const Bytes &p : vPages) v.insert(v.end(), p.begin(), p.end());
  return v;
}

/* ------------------------------------------------------------ DMS spaces */

struct DmsSpace {
  db2spcsTablespace ts;
  std::map<uint32_t, Bytes> mapPages;   /* table-space page -> page */
  uint32_t ulNextExtent = 2;            /* extent 0: page 1 (object table map); extent 1: object table */
  std::vector<Bytes> vObjTabSlots;

  DmsSpace(const char *pcName, int16_t sId, const std::vector<std::string> &vContainers)
  {
    ts.sId = sId;
    ts.strName = pcName;
    ts.ulFlags = DB2SPCS_DMS;
    ts.ulExtentSize = kExtent;
    ts.ulPrefetch = kExtent;
    ts.ulPageSize = kPageSize;
    for (const std::string &str : vContainers) ts.vContainers.push_back({str, 0, 0, 0, kPageSize});
    vObjTabSlots = {Bytes{}};   /* slot 0: the data-file header, made at the end */
  }
  uint32_t extent() { return ulNextExtent++ * kExtent; }

  /* Places an object's pages; returns the first page of its extent-map extent, and the first data page. */
  std::pair<uint32_t, uint32_t> place(const std::vector<Bytes> &vPages)
  {
    uint32_t ulEmp = extent();
    std::vector<uint32_t> vExtents;
    for (size_t p = 0; p < vPages.size(); p++) {
      if (p % kExtent == 0) vExtents.push_back(extent());
      mapPages[vExtents.back() + static_cast<uint32_t>(p % kExtent)] = vPages[p];
    }
    /* direct pages 0 to X-2 hold the entries; the indirect page X-1 stays empty */
    const size_t ulPerPage = 1000;
    if (vExtents.size() > ulPerPage * (kExtent - 1)) {
      std::fprintf(stderr, "zavsample: object of %zu extents needs an indirect map\n", vExtents.size());
      std::exit(1);
    }
    for (uint32_t k = 0; k < kExtent; k++) {
      std::vector<uint32_t> v;
      for (size_t e = k * ulPerPage; k < kExtent - 1 && e < vExtents.size() && e < (k + 1) * ulPerPage; e++)
        v.push_back(vExtents[e]);
      Bytes page(kPageSize, 0);
      db2empWriteEMP(page.data(), kPageSize, 0, v);
      mapPages[ulEmp + k] = page;
    }
    return {ulEmp, vExtents.empty() ? 0 : vExtents[0]};
  }
  /* The object-table record of object id at its position (4 KB pages: slot = id). */
  void record(const db2empObject &o)
  {
    if (vObjTabSlots.size() <= o.usObjId) vObjTabSlots.resize(o.usObjId + 1);
    vObjTabSlots[o.usObjId] = db2empObjTabRecord(o);
  }
  /* Page 1, the object table, the control record's sizes; then the containers. */
  bool write(const std::string &strDbDir)
  {
    vObjTabSlots[0] = db2empDataFileHeader(1);
    Bytes page(kPageSize, 0);
    db2empWriteEMP(page.data(), kPageSize, 0, {kExtent});
    mapPages[1] = page;
    if (!db2empWriteDataPage(page.data(), kPageSize, 0, vObjTabSlots)) return false;
    mapPages[kExtent] = page;
    uint32_t n = static_cast<uint32_t>(ts.vContainers.size());
    uint32_t ulExtents = (ulNextExtent + n - 1) / n * n;
    ulNextExtent = ulExtents;
    ts.vStripes.clear();
    std::vector<uint32_t> vIds;
    for (uint32_t i = 0; i < n; i++) vIds.push_back(i);
    db2spcsAddStripe(&ts, ulExtents, vIds);
    ts.ulPages = ts.ulUsable = ulExtents * kExtent;
    uint32_t ulRows = ulExtents / n;
    std::vector<std::ofstream> vOut;
    for (auto &c : ts.vContainers) {
      c.ulPages = 1 + ulRows * kExtent;
      c.ulUsable = ulRows * kExtent;
      std::string strPath = strDbDir + c.strPath;
      fs::create_directories(fs::path(strPath).parent_path());
      vOut.emplace_back(strPath, std::ios::binary | std::ios::trunc);
      /* the container header: one page */
      Bytes hdr(kPageSize, 0);
      vOut.back().write(reinterpret_cast<const char *>(hdr.data()), kPageSize);
    }
    /* table-space extent x: container x mod n, extent x div n of it, after the header page */
    Bytes zero(kPageSize, 0);
    for (uint32_t x = 0; x < ulExtents; x++) {
      std::ofstream &out = vOut[x % n];
      for (uint32_t r = 0; r < kExtent; r++) {
        auto it = mapPages.find(x * kExtent + r);
        const Bytes &p = it == mapPages.end() ? zero : it->second;
        out.write(reinterpret_cast<const char *>(p.data()), kPageSize);
      }
    }
    for (auto &out : vOut)
      if (!out.flush()) return false;
    return true;
  }
};

/* ------------------------------------------------------------ SMS spaces */

/* Writes a table's object pages as its file in an SMS table space's
   containers: extent x in container (file id + x) mod k, only the containers
   that get an extent have the file. */
bool WriteSmsObject(const db2spcsTablespace &ts, const std::string &strDbDir, int iFileId, const char *pcExt,
                    const std::vector<Bytes> &vPages)
{
  size_t k = ts.vContainers.size();
  std::vector<std::vector<const Bytes *>> vFile(k);
  for (size_t p = 0; p < vPages.size(); p++) vFile[(static_cast<size_t>(iFileId) + p / kExtent) % k].push_back(&vPages[p]);
  for (size_t i = 0; i < k; i++) {
    if (vFile[i].empty()) continue;
    char ac[64];
    std::snprintf(ac, sizeof ac, "/SQL%05d%s", iFileId, pcExt);
    std::ofstream out(strDbDir + ts.vContainers[i].strPath + ac, std::ios::binary | std::ios::trunc);
    for (const Bytes *p : vFile[i]) out.write(reinterpret_cast<const char *>(p->data()), kPageSize);
    if (!out.flush()) return false;
  }
  return true;
}

/* ---------------------------------------------------- catalogue in pages */

/* Column shapes of the catalogue tables, as the catalogue table space holds them. */
const db2pages::Column VC{257, 128, false}, VCN{257, 128, true}, SI{0, 2, false}, SIN{0, 2, true}, IN{1, 4, false};
const db2pages::Column C1{256, 1, false}, C8{256, 8, false}, TSTMP{263, 10, false};

std::vector<db2pages::Column> CatTables()
{
  std::vector<db2pages::Column> v{VC, VC, C1, TSTMP, C1, C1, C1, SI, SI, SI, IN, IN};
  v.resize(20, IN);
  v.insert(v.end(), {VCN, VCN, VCN, VCN, VCN, IN, IN, IN, IN, VC, IN, IN, IN, IN, SIN});
  return v;
}
std::vector<db2pages::Column> CatColumns()
{
  std::vector<db2pages::Column> v{VC, VC, VC, IN, C8, C1, SI, SI, SI, SI, SI};
  v.resize(18, IN);
  v.insert(v.end(), {VCN, IN, C1, C1, IN, IN, SI});
  return v;
}
std::vector<db2pages::Column> CatTablespaces() { return {VC, VC, TSTMP, SI, C1, C1, IN, IN, IN, IN, IN, VC, IN, IN, C1}; }

Bytes CatRow(const std::vector<db2pages::Column> &cols, const std::map<int, Bytes> &mapValues)
{
  std::vector<db2pages::Value> v;
  for (size_t k = 0; k < cols.size(); k++) {
    auto it = mapValues.find(static_cast<int>(k));
    if (it != mapValues.end()) v.push_back(db2pages::val(it->second));
    else if (cols[k].boNullable) v.push_back(db2pages::null());
    else if (db2pages::isVariable(cols[k].sType)) v.push_back(db2pages::val(Bytes{}));
    else v.push_back(db2pages::val(Bytes(static_cast<size_t>(db2pages::inRecordSize(cols[k])), 0)));
  }
  return db2pages::row(cols, v);
}

Bytes S(const std::string &s) { return Bytes(s.begin(), s.end()); }
Bytes I16(int i) { return db2pages::le16(static_cast<uint16_t>(i)); }
Bytes I32(int i) { return db2pages::le32(static_cast<uint32_t>(i)); }

/* ------------------------------------------------------------ the instance */

struct Space {
  const char *pcName;
  int iId;
  char cType, cData;
  int iContainers;
  bool boBothPartitions;
};

const Space gaSpaces[] = {{"SYSCATSPACE", 0, 'S', 'A', 1, false}, {"TEMPSPACE1", 1, 'S', 'T', 1, false},
                          {"USERSPACE1", 2, 'S', 'A', 2, false},  {"DMSDATA", 3, 'D', 'A', 2, false},
                          {"DMSLONG", 4, 'D', 'L', 1, false},     {"PARTSPACE", 5, 'D', 'A', 2, true}};

const Space &SpaceOf(const std::string &str)
{
  for (const Space &s : gaSpaces)
    if (str == s.pcName) return s;
  return gaSpaces[0];
}

/* The column's type as the catalogue's COLTYPE spells it. */
const char *ColType(const Col &c)
{
  switch (c.t) {
    case T::CHAR: return "CHAR    ";
    case T::VARCHAR: return "VARCHAR ";
    case T::SMALLINT: return "SMALLINT";
    case T::INTEGER: return "INTEGER ";
    case T::BIGINT: return "BIGINT  ";
    case T::DECIMAL: return "DECIMAL ";
    case T::DATE: return "DATE    ";
    case T::TIME: return "TIME    ";
    case T::TIMESTAMP: return "TIMESTMP";
    case T::DOUBLE: return "DOUBLE  ";
    case T::REAL: return "REAL    ";
    case T::CLOB: return "CLOB    ";
    case T::BLOB: return "BLOB    ";
    case T::LONGVAR: return "LONGVAR ";
  }
  return "INTEGER ";
}

/* One partition's files: control file, containers, backup image. */
struct Partition {
  int iNode;
  std::string strDbDir;   /* .../NODE000n/SQL00001/ */
  std::vector<db2spcsTablespace> vSpaces;
  db2backupImage image;
};

int Build(const std::string &strTarget, size_t ulEmployees)
{
  std::error_code ec;
  setenv("DB2INSTANCE", "zavinst", 1);
  setenv("ZAVDB2_INSTHOME", (strTarget + "/home").c_str(), 1);
  std::string strErr, strHost = _hostName();
  if (db2adminCreateInstance({"0 " + strHost + " 0", "1 " + strHost + " 1"}, &strErr) != 0)
    return _fail("instance", strErr);
  if (db2adminAddUser("zavuser", "zavpw", "zavgrp", &strErr) != 0) return _fail("user", strErr);
  if (db2adminAddUser("nobody2", "nopw", "", &strErr) != 0) return _fail("user", strErr);
  if (db2adminCreateDatabase("SAMPLE", strTarget + "/data", 819, 1, &strErr) != 0) return _fail("database", strErr);
  for (const Space &s : gaSpaces)
    if (db2adminCreateTablespace("SAMPLE", s.pcName, s.iId, s.cType, s.cData, kExtent, kPageSize, &strErr) != 0)
      return _fail(std::string("table space ") + s.pcName, strErr);

  std::vector<Table> vTables = DataSet(ulEmployees);
  /* the engine */
  for (const Table &t : vTables) {
    std::vector<db2adminColumn> vCols;
    for (const Col &c : t.vCols) vCols.push_back({c.pcName, c.pcType, c.boNullable, c.pcDefault, -1});
    if (db2adminCreateTable("SAMPLE", "ZAVTEST", t.pcName, t.pcSpace, t.pcLongSpace, t.iId, vCols, &strErr) != 0)
      return _fail(std::string("table ") + t.pcName, strErr);
    std::string strSql;
    for (size_t i = 0; i < t.ulRows; i++) {
      Row r = t.fnRow(i);
      strSql += strSql.empty() ? std::string("INSERT INTO ZAVTEST.") + t.pcName + " VALUES(" : ",(";
      for (size_t k = 0; k < r.size(); k++) strSql += (k ? "," : "") + SqlLiteral(t.vCols[k], r[k]);
      strSql += ")";
      if (strSql.size() > (1u << 20) || i + 1 == t.ulRows) {
        if (db2adminExecute("SAMPLE", strSql, &strErr) != 0) return _fail(std::string("rows of ") + t.pcName, strErr);
        strSql.clear();
      }
    }
  }
  if (db2adminGrantDbadm("SAMPLE", "zavgrp", 'G', &strErr) != 0) return _fail("grant", strErr);

  /* DB2's files, partition by partition */
  Partition aParts[2];
  for (int n = 0; n < 2; n++) {
    Partition &part = aParts[n];
    part.iNode = n;
    char ac[32];
    std::snprintf(ac, sizeof ac, "NODE%04d", n);
    part.strDbDir = strTarget + "/data/zavinst/" + ac + "/SQL00001/";
    fs::create_directories(part.strDbDir, ec);
    if (ec) return _fail("creating " + part.strDbDir, ec.message());
    db2backupBegin(part.image, 65536, 0x800, "ISO8859-1");
  }
  std::map<std::string, DmsSpace> mapDms[2];
  std::map<std::string, db2spcsTablespace> mapSms;
  for (const Space &s : gaSpaces) {
    for (int n = 0; n < (s.boBothPartitions ? 2 : 1); n++) {
      std::vector<std::string> vConts;
      for (int c = 0; c < s.iContainers; c++) vConts.push_back("cont/" + std::string(s.pcName) + "." + std::to_string(c));
      if (s.cType == 'D') {
        mapDms[n].emplace(s.pcName, DmsSpace(s.pcName, static_cast<int16_t>(s.iId), vConts));
      } else {
        db2spcsTablespace ts;
        ts.sId = static_cast<int16_t>(s.iId);
        ts.strName = s.pcName;
        ts.ulFlags = DB2SPCS_SMS;
        ts.ulExtentSize = kExtent;
        ts.ulPrefetch = kExtent;
        ts.ulPageSize = kPageSize;
        for (const std::string &str : vConts) {
          ts.vContainers.push_back({str, 0, 0, 0, kPageSize});
          fs::create_directories(aParts[n].strDbDir + str, ec);
        }
        mapSms[s.pcName] = ts;
      }
    }
  }

  /* catalogue rows for the backup's catalogue table space */
  std::vector<Bytes> vCatSpaces, vCatTables, vCatColumns;
  for (const Space &s : gaSpaces)
    vCatSpaces.push_back(CatRow(CatTablespaces(), {{0, S(s.pcName)}, {1, S("SYSIBM")}, {3, I16(s.iId)},
                                                   {4, S(std::string(1, s.cType))}, {5, S(std::string(1, s.cData))},
                                                   {6, I32(kExtent)}, {7, I32(2 * kExtent)}, {11, S("DEFAULTGROUP")},
                                                   {12, I32(1)}, {13, I32(kPageSize)}, {14, S("N")}}));

  for (const Table &t : vTables) {
    const Space &space = SpaceOf(t.pcSpace);
    std::map<int, Bytes> mapTable = {{0, S(t.pcName)}, {1, S("ZAVTEST")}, {2, S("T")},
                                     {3, Stored({"", "", T::TIMESTAMP, 10, 0, false, ""}, "2004-01-01-00.00.00.000000")},
                                     {7, I16(static_cast<int>(t.vCols.size()))}, {8, I16(t.iId)}, {9, I16(space.iId)},
                                     {10, I32(-1)}, {11, I32(-1)}, {22, S(t.pcSpace)}, {29, S("SYSIBM")}, {34, I16(0)}};
    if (*t.pcLongSpace) mapTable[24] = S(t.pcLongSpace);
    vCatTables.push_back(CatRow(CatTables(), mapTable));
    for (size_t k = 0; k < t.vCols.size(); k++) {
      const Col &c = t.vCols[k];
      bool boChar = c.t == T::CHAR || c.t == T::VARCHAR || c.t == T::LONGVAR || c.t == T::CLOB;
      int iLength = c.t == T::DECIMAL ? c.iLength : c.t == T::LONGVAR ? 32700 : StoredColumn(c).sLength;
      if (c.t == T::CLOB || c.t == T::BLOB) iLength = c.iLength;
      std::map<int, Bytes> m = {{0, S(c.pcName)}, {1, S(t.pcName)}, {2, S("ZAVTEST")}, {4, S(ColType(c))},
                                {5, S(c.boNullable ? "Y" : "N")}, {6, I16(boChar ? 819 : 0)}, {7, I16(0)},
                                {8, I16(c.t == T::CLOB || c.t == T::BLOB ? 0 : iLength)}, {9, I16(c.iScale)},
                                {10, I16(static_cast<int>(k))}, {19, I32(c.t == T::CLOB || c.t == T::BLOB ? iLength : 0)},
                                {20, S("N")}, {21, S("N")}, {24, I16(0)}};
      if (*c.pcDefault) m[18] = S(c.pcDefault);
      vCatColumns.push_back(CatRow(CatColumns(), m));
    }

    for (int n = 0; n < (t.ulSplit == static_cast<size_t>(-1) ? 1 : 2); n++) {
      size_t ulFrom = n == 0 ? 0 : t.ulSplit, ulTo = t.ulSplit == static_cast<size_t>(-1) ? t.ulRows : n == 0 ? t.ulSplit : t.ulRows;
      TableImage img = BuildTable(t, ulFrom, ulTo);
      Partition &part = aParts[n];
      if (space.cType == 'S') {
        const db2spcsTablespace &ts = mapSms[t.pcSpace];
        if (!WriteSmsObject(ts, part.strDbDir, t.iId, ".DAT", img.vData)) return _fail("SMS file", t.pcName);
        db2backupAddObject(part.image, 0, space.iId, static_cast<uint16_t>(t.iId), 0, Concat(img.vData), 0);
        if (img.boLong) {
          std::vector<Bytes> vLf = img.lf.pages(), vLob = img.lob.pages();
          if (!WriteSmsObject(ts, part.strDbDir, t.iId, ".LF", vLf) ||
              !WriteSmsObject(ts, part.strDbDir, t.iId, ".LB", vLob))
            return _fail("SMS long data", t.pcName);
          db2backupAddObject(part.image, 2, space.iId, static_cast<uint16_t>(t.iId), 0, Concat(vLf), 0);
          db2backupAddObject(part.image, 3, space.iId, static_cast<uint16_t>(t.iId), 0, Concat(vLob), 0);
        }
      } else {
        DmsSpace &dms = mapDms[n].at(t.pcSpace);
        auto [ulEmp, ulFirst] = dms.place(img.vData);
        db2empObject o;
        o.usTbsId = static_cast<uint16_t>(space.iId);
        o.usObjId = static_cast<uint16_t>(t.iId);
        o.ulDataEmp = ulEmp;
        o.ulFirstData = ulFirst;
        if (img.boLong) {
          const Space &longSpace = SpaceOf(*t.pcLongSpace ? t.pcLongSpace : t.pcSpace);
          DmsSpace &dmsLong = mapDms[n].at(longSpace.pcName);
          db2empObject ol;
          ol.usTbsId = ol.usLFTbsId = ol.usLOBTbsId = static_cast<uint16_t>(longSpace.iId);
          ol.usObjId = ol.usLFObjId = ol.usLOBObjId = static_cast<uint16_t>(t.iId);
          ol.ulLFEmp = dmsLong.place(img.lf.pages()).first;
          ol.ulLOBEmp = dmsLong.place(img.lob.pages()).first;
          o.usLFTbsId = o.usLOBTbsId = ol.usTbsId;
          o.usLFObjId = o.usLOBObjId = ol.usObjId;
          o.ulLFEmp = ol.ulLFEmp;
          o.ulLOBEmp = ol.ulLOBEmp;
          if (&dmsLong != &dms) {
            ol.ulDataEmp = ol.ulFirstData = 0;
            dmsLong.record(ol);
          }
        }
        dms.record(o);
      }
    }
  }

  /* control files, DMS containers and their backup objects */
  for (int n = 0; n < 2; n++) {
    Partition &part = aParts[n];
    std::vector<db2spcsTablespace> vSpaces;
    std::vector<std::pair<std::string, uint32_t>> vList;
    for (const Space &s : gaSpaces) {
      if (n == 1 && !s.boBothPartitions) continue;
      if (s.cType == 'D') {
        DmsSpace &dms = mapDms[n].at(s.pcName);
        if (!dms.write(part.strDbDir)) return _fail("DMS containers", s.pcName);
        vSpaces.push_back(dms.ts);
      } else {
        vSpaces.push_back(mapSms[s.pcName]);
      }
      vList.push_back({s.pcName, s.cType == 'D' ? 2u : 1u});
    }
    if (!db2spcsWriteFile(part.strDbDir + "SQLSPCS.1", vSpaces)) return _fail("table-space control file", part.strDbDir);

    /* the image: list, definitions, catalogue (partition 0), then the objects made above */
    db2backupImage image;
    db2backupBegin(image, 65536, 0x800, "ISO8859-1");
    db2backupAddObject(image, 9, 0, 0, 0, db2backupLOT(vList));
    for (const db2spcsTablespace &ts : vSpaces) {
      std::vector<unsigned char> vRec = db2spcsRecord(ts);
      db2backupAddObject(image, 11, ts.sId, 0, 0, db2backupBytes(vRec.begin(), vRec.begin() + 2048));
    }
    if (n == 0) {
      auto catalogue = [&](int iObj, const std::vector<db2pages::Column> &cols, const std::vector<Bytes> &vRows) {
        TablePages tp(cols);
        for (const Bytes &r : vRows) tp.add({r});
        db2backupAddObject(image, 0, 0, static_cast<uint16_t>(iObj), 0, Concat(tp.finish()));
      };
      catalogue(2, CatTables(), vCatTables);
      catalogue(3, CatColumns(), vCatColumns);
      catalogue(27, CatTablespaces(), vCatSpaces);
    }
    image.bytes.insert(image.bytes.end(), part.image.bytes.begin() + 4096, part.image.bytes.end());
    for (const Space &s : gaSpaces) {
      if (s.cType != 'D' || (n == 1 && !s.boBothPartitions)) continue;
      DmsSpace &dms = mapDms[n].at(s.pcName);
      /* the used pages, in runs of consecutive pages */
      Bytes run;
      uint32_t ulFirst = 0, ulNext = 0;
      auto flush = [&]() {
        if (!run.empty()) db2backupAddObject(image, 12, s.iId, 0, static_cast<int32_t>(ulFirst), run);
        run.clear();
      };
      for (const auto &[ulPage, page] : dms.mapPages) {
        if (run.empty() || ulPage != ulNext || run.size() >= 64 * kPageSize) {
          flush();
          ulFirst = ulPage;
        }
        run.insert(run.end(), page.begin(), page.end());
        ulNext = ulPage + 1;
      }
      flush();
    }
    db2backupAddObject(image, 18, 0, 0, 0, {});
    db2backupAddTail(image);
    char ac[128];
    std::snprintf(ac, sizeof ac, "/backup/SAMPLE.0.zavinst.NODE%04d.CATN0000.20040101120000.001", n);
    fs::create_directories(strTarget + "/backup", ec);
    if (!db2backupWrite(image, strTarget + ac)) return _fail("backup image", strTarget + ac);
  }
  return 0;
}

}  // namespace

int main(int argc, char **argv)
{
  std::vector<std::string> vArgs;
  size_t ulEmployees = FixedEmployees().size();
  for (int i = 1; i < argc; i++) {
    std::string str = argv[i];
    if (str == "--employees" && i + 1 < argc) {
      char *pcEnd = nullptr;
      unsigned long long ull = std::strtoull(argv[++i], &pcEnd, 10);
      if (*pcEnd != '\0' || ull < 2 || ull > 5000000) {
        std::fprintf(stderr, "zavsample: --employees wants a number from 2 to 5000000\n");
        return 2;
      }
      ulEmployees = static_cast<size_t>(ull);
    } else {
      vArgs.push_back(str);
    }
  }
  if (vArgs.empty()) {
    std::fprintf(stderr, "usage: zavsample <target directory> [<message catalogue dir>] [<db2zav program>] "
                         "[--employees N]\n");
    return 2;
  }
  std::string strTarget = fs::absolute(vArgs[0]).lexically_normal().string();
  std::error_code ec;
  fs::remove_all(strTarget, ec);
  fs::create_directories(strTarget + "/topzav/bin", ec);
  fs::create_directories(strTarget + "/topzav/cfg", ec);
  fs::create_directories(strTarget + "/topzav/msg", ec);
  fs::create_directories(strTarget + "/home", ec);
  fs::create_directories(strTarget + "/data", ec);
  if (ec) return _fail("creating " + strTarget, ec.message());
  int rc = Build(strTarget, ulEmployees);
  if (rc != 0) return rc;

  struct passwd *ppw = getpwuid(getuid());
  std::string strUser = ppw ? ppw->pw_name : "root";
  {
    std::ofstream cfg(strTarget + "/topzav/cfg/db2zav.cfg");
    cfg << "# db2zav configuration of the sample instance\n"
        << "db2instance=zavinst\n"
        << "db2dbdft=SAMPLE\n"
        << "insthomes=zavinst:" << strTarget << "/home\n"
        << "instusers=zavinst:" << strUser << "\n"
        << "languagecode=en\n"
        << "countrycode=US\n";
    std::ofstream trace(strTarget + "/topzav/cfg/db2zav.trace");
    trace << "-- trace keywords to switch on, one or more a line\n";
    std::ofstream env(strTarget + "/env.sh");
    env << "export TOPZAV=" << strTarget << "/topzav\n"
        << "export ZAVDB2_INSTHOME=" << strTarget << "/home\n"
        << "export DB2INSTANCE=zavinst\n";
    if (!cfg || !trace || !env) return _fail("configuration", "cannot write");
  }
  if (vArgs.size() > 1 && fs::is_directory(vArgs[1])) {
    fs::copy(vArgs[1], strTarget + "/topzav/msg/db2zav", fs::copy_options::recursive, ec);
    if (ec) return _fail("message catalogue", ec.message());
  }
  if (vArgs.size() > 2 && fs::exists(vArgs[2])) {
    fs::create_symlink(fs::absolute(vArgs[2]), strTarget + "/topzav/bin/db2zav", ec);
    if (ec) return _fail("program link", ec.message());
  }
  std::printf("sample instance built in %s\n", strTarget.c_str());
  return 0;
}
