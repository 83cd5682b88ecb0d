/*
** zavsample.cpp
**   Builds the bundled sample instance: an installation tree for db2zav
**   (bin/, cfg/db2zav.cfg, cfg/db2zav.trace, msg/db2zav) and a DB2 instance
**   "zavinst" of two database partitions on this host, with the database
**   SAMPLE holding a fixed data set.  The data set is defined once, here,
**   and goes both into the DB2 stand-in's engine (one prepared INSERT per
**   table, in one transaction) and into DB2's own files, so that reading the files directly and asking the
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
**   A second database, UNISAMP (code set UTF-8), holds the Unicode data
**   set on partition 0: one DMS and one SMS table space and a backup image
**   (see BuildUnicode).
**
**   Usage: zavsample <target directory> [<message catalogue dir>] [<db2zav program>]
**                    [--employees N]
**   --employees N: EMPLOYEE (and EMPPART) get N rows, the first ones the
**   fixed rows, the others generated deterministically from the row number.
**   Rows are generated, inserted and laid out one at a time: the DMS pages
**   go to their containers as they fill and the backup images are written
**   as they grow, so memory stays flat whatever N.
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

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
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

enum class T { CHAR, VARCHAR, SMALLINT, INTEGER, BIGINT, DECIMAL, DATE, TIME, TIMESTAMP, DOUBLE, REAL, CLOB, BLOB, LONGVAR,
               GRAPHIC, VARGRAPHIC, LONGVARG, DBCLOB };

struct Col {
  const char *pcName;
  const char *pcType;   /* DB2 type text */
  T t;
  int iLength;          /* CHAR, VARCHAR: length in bytes; GRAPHIC, VARGRAPHIC: in characters; DECIMAL: precision */
  int iScale;
  bool boNullable;
  const char *pcDefault;
};

/* A value: none for NULL; text in DB2's external form (BLOB: the bytes;
   character and graphic text: UTF-8). */
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

/* Appends v in decimal, zero-padded to at least iWidth digits. */
void _num(std::string &s, size_t v, int iWidth = 1)
{
  char ac[24];
  int n = 0;
  do {
    ac[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  while (n < iWidth) ac[n++] = '0';
  while (n > 0) s += ac[--n];
}

/* The text of the pieces, each a number of a width or a separator. */
std::string _text(std::initializer_list<std::pair<size_t, int>> pieces)
{
  std::string s;
  for (auto [v, iWidth] : pieces) {
    if (iWidth < 0) s += static_cast<char>(v);
    else _num(s, v, iWidth);
  }
  return s;
}

/* Employee i: a fixed one, or one made from i alone (values exact in every
   form); generated without printf, since an enlarged sample makes millions. */
Row Employee(size_t i)
{
  const auto &vFixed = FixedEmployees();
  if (i < vFixed.size()) return vFixed[i];
  static const char *const apcFirst[] = {"ANNA", "BORIS", "CARLA", "DMITRI", "ELENA", "FRANZ", "GRETA", "HUGO"};
  static const char *const apcLast[] = {"MEYER", "ROSSI", "DUBOIS", "NOVAK", "SILVA", "JANSEN", "KOWALSKI"};
  static const char *const apcDept[] = {"A00", "B01", "C01", "D11", "D21", "E01", "E11", "E21"};
  static const char *const apcQuarter[] = {"0", "25", "5", "75"};
  const int S = -1;   /* a separator piece */
  Row r(14);
  r[0] = _text({{i % 1000000, 6}});
  r[1] = apcFirst[i % 8];
  r[2] = std::string(apcLast[i % 7]) + std::to_string(i % 1000);
  if (i % 11 != 0) r[3] = apcDept[i % 8];
  r[4] = _text({{i % 10000, 4}});
  r[5] = _text({{1950 + i % 50, 4}, {'-', S}, {1 + i % 12, 2}, {'-', S}, {1 + i % 28, 2}});
  if (i % 13 != 0) r[6] = _text({{i % 24, 2}, {'.', S}, {i % 60, 2}, {'.', S}, {(i * 7) % 60, 2}});
  r[7] = _text({{15000 + (i * 37) % 40000, 1}, {'.', S}, {i % 100, 2}});
  if (i % 17 != 0) {
    /* no negative zero: the engine keeps none */
    size_t ulUnits = (i * 3) % 1000, ulCents = (i * 7) % 100;
    r[8] = (i % 5 == 0 && ulUnits + ulCents != 0 ? "-" : "") + _text({{ulUnits, 1}, {'.', S}, {ulCents, 2}});
  }
  r[9] = std::to_string(12 + i % 9);
  if (i % 19 != 0)
    r[10] = _text({{1990 + i % 20, 4}, {'-', S}, {1 + i % 12, 2}, {'-', S}, {1 + i % 28, 2}, {'-', S}, {i % 24, 2},
                   {'.', S}, {i % 60, 2}, {'.', S}, {(i * 11) % 60, 2}, {'.', S}, {(i * 7919) % 1000000, 6}});
  /* quarter steps: exact in binary, the same text on every path */
  r[11] = _text({{i % 10, 1}, {'.', S}}) + apcQuarter[i % 4];
  if (i % 23 != 0) r[12] = _text({{i % 100, 1}}) + ".5";
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

/* A value as the stand-in's engine takes it: text in DB2's external form, BLOB bytes. */
db2adminValue EngineValue(const Col &c, Val &&v)
{
  db2adminValue e;
  if (v) {
    e.kind = c.t == T::BLOB ? db2adminValue::BYTES : db2adminValue::TEXT;
    e.str = std::move(*v);
  }
  return e;
}

/*
** Batches of engine rows from the thread that makes and lays out the rows
** to the thread that inserts them: at most kDepth batches wait, so memory
** stays flat.  stop() (the engine is done, or failed) releases a waiting
** producer, which then makes no more rows.
*/
struct RowQueue {
  static const size_t kBatch = 1024, kDepth = 8;
  std::mutex m;
  std::condition_variable cv;
  std::deque<std::vector<std::vector<db2adminValue>>> q;
  bool boClosed = false, boStopped = false;

  void push(std::vector<std::vector<db2adminValue>> &&v)
  {
    std::unique_lock<std::mutex> lock(m);
    cv.wait(lock, [&]() { return q.size() < kDepth || boStopped; });
    if (boStopped) return;
    q.push_back(std::move(v));
    cv.notify_all();
  }
  /* The next batch; false when the producer closed the queue and none is left. */
  bool pop(std::vector<std::vector<db2adminValue>> &v)
  {
    std::unique_lock<std::mutex> lock(m);
    cv.wait(lock, [&]() { return !q.empty() || boClosed; });
    if (q.empty()) return false;
    v = std::move(q.front());
    q.pop_front();
    cv.notify_all();
    return true;
  }
  void close()
  {
    std::lock_guard<std::mutex> lock(m);
    boClosed = true;
    cv.notify_all();
  }
  void stop()
  {
    std::lock_guard<std::mutex> lock(m);
    boStopped = true;
    cv.notify_all();
  }
  bool stopped()
  {
    std::lock_guard<std::mutex> lock(m);
    return boStopped;
  }
};

/* UTF-16, high byte first (code page 1200), of a UTF-8 text: graphic data
   as a Unicode database stores it.  The texts are the builder's own and
   well formed; a code point above U+FFFF becomes a surrogate pair. */
std::string Utf16BE(const std::string &s)
{
  std::string o;
  auto unit = [&o](uint32_t u) {
    o += static_cast<char>(u >> 8);
    o += static_cast<char>(u & 0xFF);
  };
  for (size_t i = 0; i < s.size();) {
    unsigned char uc = static_cast<unsigned char>(s[i]);
    size_t n = uc < 0x80 ? 1 : uc < 0xE0 ? 2 : uc < 0xF0 ? 3 : 4;
    uint32_t cp = n == 1 ? uc : n == 2 ? uc & 0x1F : n == 3 ? uc & 0x0F : uc & 0x07;
    for (size_t k = 1; k < n && i + k < s.size(); k++) cp = cp << 6 | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    i += n;
    if (cp > 0xFFFF) {
      unit(0xD800 + ((cp - 0x10000) >> 10));
      unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      unit(cp);
    }
  }
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
    case T::GRAPHIC: {
      /* blank-padded with U+0020 to its length in characters */
      std::string strUnits = Utf16BE(s);
      while (strUnits.size() < 2 * static_cast<size_t>(c.iLength)) strUnits += std::string("\0 ", 2);
      return Bytes(strUnits.begin(), strUnits.end());
    }
    case T::VARGRAPHIC: {
      std::string strUnits = Utf16BE(s);
      return Bytes(strUnits.begin(), strUnits.end());
    }
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
    case T::GRAPHIC: return {512, static_cast<int16_t>(2 * c.iLength), c.boNullable};
    case T::VARGRAPHIC: return {513, static_cast<int16_t>(2 * c.iLength), c.boNullable};
    case T::LONGVARG: return {514, 32700, c.boNullable};
    case T::DBCLOB: return {515, 0, c.boNullable};
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

/* A page of a table's object, finished: its object page number and bytes. */
using PageSink = std::function<bool(uint32_t, const Bytes &)>;

/*
** A table's records and the pages they fill.  Only the first page (whose
** header counts the pages) and the page being filled are held: each other
** page goes to the sink as soon as it is full, the first page last, at
** finish.  Without a sink the pages are kept and finish returns them.
*/
struct TablePages {
  std::vector<db2pages::Column> vCols;
  PageSink fnSink;
  std::vector<Bytes> vFirst;   /* records of page 0 */
  std::vector<Bytes> vSlots;   /* records of the page being filled */
  uint32_t ulPage = 0;         /* the page being filled */
  size_t ulUsed = 0;
  bool boOk = true;            /* false once the sink failed */
  std::vector<Bytes> vKept;    /* the pages, without a sink */

  explicit TablePages(const std::vector<db2pages::Column> &cols, PageSink fn = nullptr)
      : vCols(cols), fnSink(std::move(fn))
  {
    /* header (page count set at finish), an empty slot, the table directory, the descriptor */
    vSlots = {db2pages::fileHeader(0), Bytes{}, db2pages::other(1, 16), db2pages::descriptor(vCols)};
    account();
  }

  static size_t room(size_t ulSlots, size_t ulBytes) { return db2pages::kSlotDir + 20 + 2 * ulSlots + ulBytes; }
  void account()
  {
    ulUsed = 0;
    for (const Bytes &r : vSlots) ulUsed += (r.size() + 3) & ~size_t(3);
  }
  /* A finished page, torn as DB2 writes it. */
  void emit(uint32_t p, const std::vector<Bytes> &vRecs)
  {
    Bytes page = db2pages::page(kPageSize, p, vRecs);
    db2pages::tear(page, static_cast<int>(p % 2));
    if (!fnSink) {
      if (vKept.size() <= p) vKept.resize(p + 1);
      vKept[p] = std::move(page);
    } else if (boOk && !fnSink(p, page)) {
      boOk = false;
    }
  }
  void startPage()
  {
    if (ulPage == 0) vFirst = std::move(vSlots);
    else emit(ulPage, vSlots);
    ulPage++;
    vSlots.clear();
    if (ulPage % 500 == 0) vSlots = {db2pages::other(1, 16)};   /* every 500th page starts with a space-map record */
    account();
  }
  /* Adds records that must share a page (a pointer and its overflow record). */
  void add(const std::vector<Bytes> &vRecs)
  {
    size_t ulBytes = 0;
    for (const Bytes &r : vRecs) ulBytes += (r.size() + 3) & ~size_t(3);
    if (!fits(ulBytes, vRecs.size())) startPage();
    for (const Bytes &r : vRecs) vSlots.push_back(r);
    ulUsed += ulBytes;
  }
  uint32_t currentPage() const { return ulPage; }
  size_t nextSlot() const { return vSlots.size(); }
  bool fits(size_t ulBytes, size_t ulRecs) const
  {
    return room(vSlots.size() + ulRecs, ulUsed + ulBytes) <= kPageSize && vSlots.size() + ulRecs <= 255;
  }
  /* Sends the last page and the first; returns the pages when there is no sink. */
  std::vector<Bytes> finish()
  {
    if (ulPage == 0) vFirst = std::move(vSlots);
    else emit(ulPage, vSlots);
    vFirst[0] = db2pages::fileHeader(ulPage + 1);
    emit(0, vFirst);
    return std::move(vKept);
  }
};

/* A table's long-field and LOB objects, made while its rows are laid out. */
struct TableImage {
  LongObject lf{512}, lob{1024};
  bool boLong = false;
  bool boOk = true;
};

/* Lays out a table's rows, one at a time, into pages for a sink (none: kept for finish). */
struct RowLayout {
  const Table &t;
  std::vector<db2pages::Column> vCols;
  TableImage img;
  TablePages tp;
  size_t n = 0;   /* rows laid out */
  std::vector<db2pages::Value> vVals;

  static std::vector<db2pages::Column> columns(const Table &t)
  {
    std::vector<db2pages::Column> v;
    for (const Col &c : t.vCols) v.push_back(StoredColumn(c));
    return v;
  }
  RowLayout(const Table &table, PageSink fnSink) : t(table), vCols(columns(table)), tp(vCols, std::move(fnSink))
  {
    for (const Col &c : t.vCols)
      if (c.t == T::CLOB || c.t == T::BLOB || c.t == T::LONGVAR || c.t == T::LONGVARG || c.t == T::DBCLOB)
        img.boLong = true;
  }
  void add(const Row &r)
  {
    vVals.clear();
    for (size_t k = 0; k < t.vCols.size(); k++) {
      const Col &c = t.vCols[k];
      if (!r[k]) vVals.push_back(db2pages::null());
      else if (c.t == T::LONGVAR) vVals.push_back(db2pages::val(LongFieldDescriptor(img.lf, *r[k])));
      else if (c.t == T::CLOB || c.t == T::BLOB) vVals.push_back(db2pages::val(LobDescriptor(img.lob, *r[k])));
      else if (c.t == T::LONGVARG) vVals.push_back(db2pages::val(LongFieldDescriptor(img.lf, Utf16BE(*r[k]))));
      else if (c.t == T::DBCLOB) vVals.push_back(db2pages::val(LobDescriptor(img.lob, Utf16BE(*r[k]))));
      else vVals.push_back(db2pages::val(Stored(c, *r[k])));
    }
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
    n++;
  }
  /* The last pages; the pages themselves when there is no sink. */
  std::vector<Bytes> finish()
  {
    std::vector<Bytes> v = tp.finish();
    img.boOk = tp.boOk;
    return v;
  }
};

Bytes Concat(const std::vector<Bytes> &vPages)
{
  Bytes v;
  for (const Bytes &p : vPages) v.insert(v.end(), p.begin(), p.end());
  return v;
}

/* ------------------------------------------------------------ DMS spaces */

/*
** A DMS table space of file containers, written as its pages come: table-
** space extent x lies in container x mod n, as extent x div n of it, after
** the container's header page.  Only the object table and the set of pages
** written stay in memory; the backup image reads the pages back.
*/
struct DmsSpace {
  db2spcsTablespace ts;
  std::vector<int> vFd;                 /* the containers, open for writing and reading */
  std::vector<bool> vUsed;              /* table-space pages written */
  uint32_t ulNextExtent = 2;            /* extent 0: page 1 (object table map); extent 1: object table */
  std::vector<Bytes> vObjTabSlots;
  std::string strError;                 /* the first failure */

  DmsSpace(const char *pcName, int16_t sId, const std::vector<std::string> &vContainers, const std::string &strDbDir)
  {
    ts.sId = sId;
    ts.strName = pcName;
    ts.ulFlags = DB2SPCS_DMS;
    ts.ulExtentSize = kExtent;
    ts.ulPrefetch = kExtent;
    ts.ulPageSize = kPageSize;
    for (const std::string &str : vContainers) {
      ts.vContainers.push_back({str, 0, 0, 0, kPageSize});
      std::string strPath = strDbDir + str;
      std::error_code ec;
      fs::create_directories(fs::path(strPath).parent_path(), ec);
      int fd = open(strPath.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
      if (fd < 0 && strError.empty()) strError = strPath + ": " + std::strerror(errno);
      vFd.push_back(fd);
    }
    vObjTabSlots = {Bytes{}};   /* slot 0: the data-file header, made at the end */
  }
  DmsSpace(const DmsSpace &) = delete;
  DmsSpace &operator=(const DmsSpace &) = delete;
  ~DmsSpace()
  {
    for (int fd : vFd)
      if (fd >= 0) close(fd);
  }
  uint32_t extent() { return ulNextExtent++ * kExtent; }

  /* File offset of a table-space page in its container. */
  off_t offset(uint32_t ulPage) const
  {
    uint32_t n = static_cast<uint32_t>(vFd.size()), x = ulPage / kExtent;
    return static_cast<off_t>(1 + x / n * kExtent + ulPage % kExtent) * kPageSize;
  }
  bool writePage(uint32_t ulPage, const Bytes &page)
  {
    if (!strError.empty()) return false;
    int fd = vFd[ulPage / kExtent % vFd.size()];
    if (pwrite(fd, page.data(), kPageSize, offset(ulPage)) != static_cast<ssize_t>(kPageSize)) {
      strError = ts.strName + ": " + std::strerror(errno);
      return false;
    }
    if (vUsed.size() <= ulPage) vUsed.resize(ulPage + 1);
    vUsed[ulPage] = true;
    return true;
  }
  bool readPage(uint32_t ulPage, Bytes &page) const
  {
    page.resize(kPageSize);
    return pread(vFd[ulPage / kExtent % vFd.size()], page.data(), kPageSize, offset(ulPage)) ==
           static_cast<ssize_t>(kPageSize);
  }

  /*
  ** An object's pages, placed as they come: its extent-map extent first,
  ** then a data extent whenever a page needs one.  finish writes the map:
  ** direct pages 0 to X-2 of the first map extent, then, past their
  ** 15 x 1000 entries, further extents of X direct pages listed on the
  ** indirect page X-1.
  */
  struct Object {
    DmsSpace &space;
    uint32_t ulEmp;
    std::vector<uint32_t> vExtents;
    explicit Object(DmsSpace &s) : space(s), ulEmp(s.extent()) {}
    bool page(uint32_t p, const Bytes &b)
    {
      while (vExtents.size() <= p / kExtent) vExtents.push_back(space.extent());
      return space.writePage(vExtents[p / kExtent] + p % kExtent, b);
    }
    /* The first page of the map and the first data page. */
    std::pair<uint32_t, uint32_t> finish()
    {
      const size_t ulPerPage = 1000, ulDirect = ulPerPage * (kExtent - 1), ulPerExtent = ulPerPage * kExtent;
      auto entries = [&](size_t ulFrom) {
        std::vector<uint32_t> v;
        for (size_t e = ulFrom; e < vExtents.size() && e < ulFrom + ulPerPage; e++) v.push_back(vExtents[e]);
        return v;
      };
      Bytes page(kPageSize, 0);
      for (uint32_t k = 0; k + 1 < kExtent; k++) {
        db2empWriteEMP(page.data(), kPageSize, 0, entries(k * ulPerPage));
        space.writePage(ulEmp + k, page);
      }
      std::vector<uint32_t> vIndirect;
      for (size_t ulFrom = ulDirect; ulFrom < vExtents.size(); ulFrom += ulPerExtent) {
        uint32_t ulMap = space.extent();
        vIndirect.push_back(ulMap);
        for (uint32_t k = 0; k < kExtent; k++) {
          db2empWriteEMP(page.data(), kPageSize, 0, entries(ulFrom + k * ulPerPage));
          space.writePage(ulMap + k, page);
        }
      }
      if (vIndirect.size() > 984) space.strError = space.ts.strName + ": an object too large for its extent map";
      db2empWriteEMP(page.data(), kPageSize, 0, vIndirect);
      space.writePage(ulEmp + kExtent - 1, page);
      return {ulEmp, vExtents.empty() ? 0 : vExtents[0]};
    }
  };

  /* Places an object of pages held in memory. */
  std::pair<uint32_t, uint32_t> place(const std::vector<Bytes> &vPages)
  {
    Object o(*this);
    for (size_t p = 0; p < vPages.size(); p++) o.page(static_cast<uint32_t>(p), vPages[p]);
    return o.finish();
  }
  /* The object-table record of object id at its position (4 KB pages: slot = id). */
  void record(const db2empObject &o)
  {
    if (vObjTabSlots.size() <= o.usObjId) vObjTabSlots.resize(o.usObjId + 1);
    vObjTabSlots[o.usObjId] = db2empObjTabRecord(o);
  }
  /* Page 1, the object table, the control record's sizes, the containers' full length. */
  bool write()
  {
    vObjTabSlots[0] = db2empDataFileHeader(1);
    Bytes page(kPageSize, 0);
    db2empWriteEMP(page.data(), kPageSize, 0, {kExtent});
    writePage(1, page);
    if (!db2empWriteDataPage(page.data(), kPageSize, 0, vObjTabSlots)) return false;
    writePage(kExtent, page);
    uint32_t n = static_cast<uint32_t>(ts.vContainers.size());
    uint32_t ulExtents = (ulNextExtent + n - 1) / n * n;
    ulNextExtent = ulExtents;
    ts.vStripes.clear();
    std::vector<uint32_t> vIds;
    for (uint32_t i = 0; i < n; i++) vIds.push_back(i);
    db2spcsAddStripe(&ts, ulExtents, vIds);
    ts.ulPages = ts.ulUsable = ulExtents * kExtent;
    uint32_t ulRows = ulExtents / n;
    /* the container header page and the pages never written read as zeros */
    for (uint32_t i = 0; i < n; i++) {
      ts.vContainers[i].ulPages = 1 + ulRows * kExtent;
      ts.vContainers[i].ulUsable = ulRows * kExtent;
      if (strError.empty() && ftruncate(vFd[i], static_cast<off_t>(1 + ulRows * kExtent) * kPageSize) != 0)
        strError = ts.strName + ": " + std::strerror(errno);
    }
    return strError.empty();
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
    case T::GRAPHIC: return "GRAPHIC ";
    case T::VARGRAPHIC: return "VARGRAPH";
    case T::LONGVARG: return "LONGVARG";
    case T::DBCLOB: return "DBCLOB  ";
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

/* ------------------------------------------------------- backup images */

/* The table-space list and each table space's definition (its control-file record). */
void BackupHead(db2backupImage &image, const std::vector<std::pair<std::string, uint32_t>> &vList,
                const std::vector<db2spcsTablespace> &vSpaces)
{
  db2backupAddObject(image, 9, 0, 0, 0, db2backupLOT(vList));
  for (const db2spcsTablespace &ts : vSpaces) {
    std::vector<unsigned char> vRec = db2spcsRecord(ts);
    db2backupAddObject(image, 11, ts.sId, 0, 0, db2backupBytes(vRec.begin(), vRec.begin() + 2048));
  }
}

/* The catalogue tables SYSTABLES, SYSCOLUMNS and SYSTABLESPACES as objects of the catalogue table space. */
void BackupCatalogue(db2backupImage &image, const std::vector<Bytes> &vCatTables, const std::vector<Bytes> &vCatColumns,
                     const std::vector<Bytes> &vCatSpaces)
{
  auto catalogue = [&](int iObj, const std::vector<db2pages::Column> &cols, const std::vector<Bytes> &vRows) {
    TablePages tp(cols);
    for (const Bytes &r : vRows) tp.add({r});
    db2backupAddObject(image, 0, 0, static_cast<uint16_t>(iObj), 0, Concat(tp.finish()));
  };
  catalogue(2, CatTables(), vCatTables);
  catalogue(3, CatColumns(), vCatColumns);
  catalogue(27, CatTablespaces(), vCatSpaces);
}

/* The used pages of a DMS table space, read back from its containers, in runs
   of consecutive pages (64 pages at most); pfnAfterRun after each run added.
   False when a page cannot be read back. */
bool BackupDmsPages(db2backupImage &image, const DmsSpace &dms, int32_t ilTbsId,
                    const std::function<void()> &pfnAfterRun)
{
  Bytes run, page;
  uint32_t ulFirst = 0, ulNext = 0;
  auto flush = [&]() {
    if (!run.empty()) db2backupAddObject(image, 12, ilTbsId, 0, static_cast<int32_t>(ulFirst), run);
    run.clear();
    pfnAfterRun();
  };
  for (uint32_t ulPage = 0; ulPage < dms.vUsed.size(); ulPage++) {
    if (!dms.vUsed[ulPage]) continue;
    if (run.empty() || ulPage != ulNext || run.size() >= 64 * kPageSize) {
      flush();
      ulFirst = ulPage;
    }
    if (!dms.readPage(ulPage, page)) return false;
    run.insert(run.end(), page.begin(), page.end());
    ulNext = ulPage + 1;
  }
  flush();
  return true;
}

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
        auto [it, boNew] = mapDms[n].try_emplace(s.pcName, s.pcName, static_cast<int16_t>(s.iId), vConts,
                                                 aParts[n].strDbDir);
        if (!it->second.strError.empty()) return _fail("DMS containers", it->second.strError);
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
  }

  /* the rows, table by table: each row made once, inserted into the engine and
     laid out in its partition's pages (the DMS pages go to the containers as
     they fill) */
  for (const Table &t : vTables) {
    const Space &space = SpaceOf(t.pcSpace);
    std::vector<db2adminColumn> vEngineCols;
    for (const Col &c : t.vCols) vEngineCols.push_back({c.pcName, c.pcType, c.boNullable, c.pcDefault, -1});
    if (db2adminCreateTable("SAMPLE", "ZAVTEST", t.pcName, t.pcSpace, t.pcLongSpace, t.iId, vEngineCols, &strErr) != 0)
      return _fail(std::string("table ") + t.pcName, strErr);
    int iParts = t.ulSplit == static_cast<size_t>(-1) ? 1 : 2;
    std::vector<std::unique_ptr<DmsSpace::Object>> vData(iParts);
    std::vector<std::unique_ptr<RowLayout>> vLayout(iParts);
    for (int n = 0; n < iParts; n++) {
      PageSink fnSink;
      if (space.cType == 'D') {
        vData[n] = std::make_unique<DmsSpace::Object>(mapDms[n].at(t.pcSpace));
        DmsSpace::Object *pobj = vData[n].get();
        fnSink = [pobj](uint32_t p, const Bytes &b) { return pobj->page(p, b); };
      }
      vLayout[n] = std::make_unique<RowLayout>(t, fnSink);
    }
    /* the engine takes the rows in a thread of its own, in batches */
    RowQueue queue;
    std::string strEngineErr;
    int iEngineRc = 0;
    std::thread engine([&]() {
      std::vector<std::vector<db2adminValue>> vBatch;
      size_t ulAt = 0;
      auto fnNext = [&](std::vector<db2adminValue> &vRow) {
        if (ulAt == vBatch.size()) {
          if (!queue.pop(vBatch)) return false;
          ulAt = 0;
        }
        vRow.swap(vBatch[ulAt++]);
        return true;
      };
      iEngineRc = db2adminInsertRows("SAMPLE", "ZAVTEST", t.pcName, t.vCols.size(), fnNext, &strEngineErr);
      queue.stop();
    });
    std::vector<std::vector<db2adminValue>> vBatch;
    for (size_t i = 0; i < t.ulRows && !queue.stopped(); i++) {
      Row r = t.fnRow(i);
      vLayout[iParts == 2 && i >= t.ulSplit ? 1 : 0]->add(r);
      std::vector<db2adminValue> vRow(r.size());
      for (size_t k = 0; k < r.size(); k++) vRow[k] = EngineValue(t.vCols[k], std::move(r[k]));
      vBatch.push_back(std::move(vRow));
      if (vBatch.size() == RowQueue::kBatch || i + 1 == t.ulRows) {
        queue.push(std::move(vBatch));
        vBatch.clear();
      }
    }
    queue.close();
    engine.join();
    if (iEngineRc != 0) return _fail(std::string("rows of ") + t.pcName, strEngineErr);

    for (int n = 0; n < iParts; n++) {
      Partition &part = aParts[n];
      RowLayout &layout = *vLayout[n];
      std::vector<Bytes> vPages = layout.finish();
      TableImage &img = layout.img;
      if (space.cType == 'S') {
        const db2spcsTablespace &ts = mapSms[t.pcSpace];
        if (!WriteSmsObject(ts, part.strDbDir, t.iId, ".DAT", vPages)) return _fail("SMS file", t.pcName);
        db2backupAddObject(part.image, 0, space.iId, static_cast<uint16_t>(t.iId), 0, Concat(vPages), 0);
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
        auto [ulEmp, ulFirst] = vData[n]->finish();
        if (!img.boOk || !dms.strError.empty()) return _fail("DMS containers", dms.strError);
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
          if (!dmsLong.strError.empty()) return _fail("DMS containers", dmsLong.strError);
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
  if (db2adminGrantDbadm("SAMPLE", "zavgrp", 'G', &strErr) != 0) return _fail("grant", strErr);

  /* control files, DMS containers and their backup objects */
  for (int n = 0; n < 2; n++) {
    Partition &part = aParts[n];
    std::vector<db2spcsTablespace> vSpaces;
    std::vector<std::pair<std::string, uint32_t>> vList;
    for (const Space &s : gaSpaces) {
      if (n == 1 && !s.boBothPartitions) continue;
      if (s.cType == 'D') {
        DmsSpace &dms = mapDms[n].at(s.pcName);
        if (!dms.write()) return _fail("DMS containers", s.pcName + (": " + dms.strError));
        vSpaces.push_back(dms.ts);
      } else {
        vSpaces.push_back(mapSms[s.pcName]);
      }
      vList.push_back({s.pcName, s.cType == 'D' ? 2u : 1u});
    }
    if (!db2spcsWriteFile(part.strDbDir + "SQLSPCS.1", vSpaces)) return _fail("table-space control file", part.strDbDir);

    /* the image: list, definitions, catalogue (partition 0), then the objects
       made above; written as it grows, the DMS pages read back from the containers */
    char ac[128];
    std::snprintf(ac, sizeof ac, "/backup/SAMPLE.0.zavinst.NODE%04d.CATN0000.20040101120000.001", n);
    fs::create_directories(strTarget + "/backup", ec);
    std::string strImage = strTarget + ac;
    FILE *pfile = std::fopen(strImage.c_str(), "wb");
    if (pfile == nullptr) return _fail("backup image", strImage + ": " + std::strerror(errno));
    bool boWritten = true;
    db2backupImage image;
    auto spill = [&]() {
      if (!image.bytes.empty() && std::fwrite(image.bytes.data(), 1, image.bytes.size(), pfile) != image.bytes.size())
        boWritten = false;
      image.bytes.clear();
    };
    db2backupBegin(image, 65536, 0x800, "ISO8859-1");
    BackupHead(image, vList, vSpaces);
    if (n == 0) BackupCatalogue(image, vCatTables, vCatColumns, vCatSpaces);
    image.bytes.insert(image.bytes.end(), part.image.bytes.begin() + 4096, part.image.bytes.end());
    spill();
    for (const Space &s : gaSpaces) {
      if (s.cType != 'D' || (n == 1 && !s.boBothPartitions)) continue;
      if (!BackupDmsPages(image, mapDms[n].at(s.pcName), s.iId, spill))
        return _fail("reading back", s.pcName);
    }
    db2backupAddObject(image, 18, 0, 0, 0, {});
    db2backupAddTail(image);
    spill();
    if (std::fclose(pfile) != 0 || !boWritten) return _fail("backup image", strImage);
  }
  return 0;
}

/* ---------------------------------------------------- the Unicode database */

/*
** UNISAMP, the instance's second database: code set UTF-8 (code page 1208,
** graphic code page 1200), on partition 0 only.  Character columns hold
** UTF-8, graphic columns UTF-16 high byte first, as DB2 stores them in a
** Unicode database.  One data set, two tables: UNITEXT in the DMS table
** space UNIDMS (with its long fields and LOBs) and UNITEXTS in the SMS
** table space UNISMS; a backup image of partition 0 holds both.
*/
const char *const gpcUniDatabase = "UNISAMP";
const int giUniCodepage = 1208, giUniGraphic = 1200;

const Space gaUniSpaces[] = {{"SYSCATSPACE", 0, 'S', 'A', 1, false},
                             {"TEMPSPACE1", 1, 'S', 'T', 1, false},
                             {"UNISMS", 2, 'S', 'A', 2, false},
                             {"UNIDMS", 3, 'D', 'A', 2, false}};

/*
** The rows: accented Latin, Greek, Cyrillic, CJK, characters outside the
** Basic Multilingual Plane (U+1D11E, U+1F600), CHAR and VARCHAR values that
** fill their columns in bytes but not in characters, a GRAPHIC value that
** fills its column, long graphic values over several LOB segments, NULLs
** and empty values.  No double quote: the texts read the same with and
** without doubled delimiters.
*/
Row UniRow(size_t i)
{
  const Val N;
  std::string strLongCjk, strLongMixed;
  for (int k = 0; k < 300; k++) strLongCjk += "日本語テキスト ";
  for (int k = 0; k < 250; k++) strLongMixed += "Ωμέγα Омега 東 𝄞 " + std::to_string(k) + " ";
  switch (i) {
    case 0: return {"1", "fr", "Crème", "Crème brûlée, déjà vu à Noël", "Élan", "Ça va? Déjà vu", "Œuvre complète, été",
                    "Île-de-France"};
    case 1: return {"2", "el", "Καλημ", "Καλημέρα κόσμε", "Αθήνα", "Ελληνικά", "Ἀθῆναι, Θεσσαλονίκη", "Ελλάδα"};
    case 2: return {"3", "ru", "Приве", "Привет, мир", "Москва", "Санкт-Петербург", N, "Россия"};
    case 3: return {"4", "ja", "日本語", "東京大阪京都名古屋札幌福岡神戸横浜広島仙", "東京", "こんにちは世界", strLongCjk,
                    strLongMixed};
    case 4: return {"5", "mu", "𝄞♪", "G clef 𝄞, smile 😀, euro €", "𝄞♪", "😀 and 𝄞", "𝄞𝄞𝄞 ♫", "😀"};
    case 5: return {"6", N, N, N, N, N, N, N};
    case 6: return {"7", "", "", "", "", "", "", ""};
    default: return {"8", "la", "ÄÖÜäö", "ÀÉÎÕÜàéîõüÇçÑñÅåØøÆæßÿÝýÞþ", "ÆØÅæøå", "Ærø ß", "ÿ", N};
  }
}

std::vector<Table> UniDataSet()
{
  const std::vector<Col> vCols = {{"ID", "INTEGER", T::INTEGER, 4, 0, false, ""},
                                  {"LANG", "CHAR(2)", T::CHAR, 2, 0, true, ""},
                                  {"SHORT", "CHAR(10)", T::CHAR, 10, 0, true, ""},
                                  {"TEXT", "VARCHAR(60)", T::VARCHAR, 60, 0, true, ""},
                                  {"GFIX", "GRAPHIC(6)", T::GRAPHIC, 6, 0, true, ""},
                                  {"GVAR", "VARGRAPHIC(30)", T::VARGRAPHIC, 30, 0, true, ""},
                                  {"GLONG", "LONG VARGRAPHIC", T::LONGVARG, 16350, 0, true, ""},
                                  {"GLOB", "DBCLOB(16K)", T::DBCLOB, 16384, 0, true, ""}};
  return {{"UNITEXT", "UNIDMS", "", 4, vCols, UniRow, 8}, {"UNITEXTS", "UNISMS", "", 5, vCols, UniRow, 8}};
}

/* The SYSCOLUMNS row of column k of a table of the Unicode database. */
Bytes UniCatColumn(const Table &t, size_t k)
{
  const Col &c = t.vCols[k];
  bool boChar = c.t == T::CHAR || c.t == T::VARCHAR || c.t == T::LONGVAR || c.t == T::CLOB;
  bool boGraphic = c.t == T::GRAPHIC || c.t == T::VARGRAPHIC || c.t == T::LONGVARG || c.t == T::DBCLOB;
  bool boLob = c.t == T::CLOB || c.t == T::BLOB || c.t == T::DBCLOB;
  int iLength = c.t == T::DECIMAL || c.t == T::GRAPHIC || c.t == T::VARGRAPHIC ? c.iLength
                : c.t == T::LONGVAR                                          ? 32700
                : c.t == T::LONGVARG                                         ? 16350
                                                                             : StoredColumn(c).sLength;
  std::map<int, Bytes> m = {{0, S(c.pcName)},
                            {1, S(t.pcName)},
                            {2, S("ZAVTEST")},
                            {4, S(ColType(c))},
                            {5, S(c.boNullable ? "Y" : "N")},
                            {6, I16(boChar ? giUniCodepage : boGraphic ? giUniGraphic : 0)},
                            {7, I16(boChar || boGraphic ? giUniGraphic : 0)},
                            {8, I16(boLob ? 0 : iLength)},
                            {9, I16(c.iScale)},
                            {10, I16(static_cast<int>(k))},
                            {19, I32(boLob ? c.iLength : 0)},
                            {20, S("N")},
                            {21, S("N")},
                            {24, I16(0)}};
  if (*c.pcDefault) m[18] = S(c.pcDefault);
  return CatRow(CatColumns(), m);
}

int BuildUnicode(const std::string &strTarget)
{
  std::error_code ec;
  std::string strErr;
  if (db2adminCreateDatabase(gpcUniDatabase, strTarget + "/data", giUniCodepage, 1, &strErr) != 0)
    return _fail("database", strErr);
  for (const Space &s : gaUniSpaces)
    if (db2adminCreateTablespace(gpcUniDatabase, s.pcName, s.iId, s.cType, s.cData, kExtent, kPageSize, &strErr) != 0)
      return _fail(std::string("table space ") + s.pcName, strErr);
  std::vector<Table> vTables = UniDataSet();
  for (const Table &t : vTables) {
    std::vector<db2adminColumn> vCols;
    for (const Col &c : t.vCols) vCols.push_back({c.pcName, c.pcType, c.boNullable, c.pcDefault, -1});
    if (db2adminCreateTable(gpcUniDatabase, "ZAVTEST", t.pcName, t.pcSpace, t.pcLongSpace, t.iId, vCols, &strErr) != 0)
      return _fail(std::string("table ") + t.pcName, strErr);
    /* graphic values go in as their UTF-8 text, as character values do */
    size_t i = 0;
    auto fnNext = [&](std::vector<db2adminValue> &vRow) {
      if (i == t.ulRows) return false;
      Row r = t.fnRow(i++);
      vRow.resize(r.size());
      for (size_t k = 0; k < r.size(); k++) vRow[k] = EngineValue(t.vCols[k], std::move(r[k]));
      return true;
    };
    if (db2adminInsertRows(gpcUniDatabase, "ZAVTEST", t.pcName, t.vCols.size(), fnNext, &strErr) != 0)
      return _fail(std::string("rows of ") + t.pcName, strErr);
  }
  if (db2adminGrantDbadm(gpcUniDatabase, "zavgrp", 'G', &strErr) != 0) return _fail("grant", strErr);

  /* DB2's files: the second database catalogued is SQL00002 */
  std::string strDbDir = strTarget + "/data/zavinst/NODE0000/SQL00002/";
  fs::create_directories(strDbDir, ec);
  if (ec) return _fail("creating " + strDbDir, ec.message());
  DmsSpace dms("UNIDMS", 3, {"cont/UNIDMS.0", "cont/UNIDMS.1"}, strDbDir);
  if (!dms.strError.empty()) return _fail("DMS containers", dms.strError);
  std::vector<db2spcsTablespace> vSpaces;   /* SYSCATSPACE, TEMPSPACE1, UNISMS; UNIDMS when written */
  for (const Space &s : gaUniSpaces) {
    if (s.cType != 'S') continue;
    db2spcsTablespace ts;
    ts.sId = static_cast<int16_t>(s.iId);
    ts.strName = s.pcName;
    ts.ulFlags = DB2SPCS_SMS;
    ts.ulExtentSize = kExtent;
    ts.ulPrefetch = kExtent;
    ts.ulPageSize = kPageSize;
    for (int c = 0; c < s.iContainers; c++) {
      std::string str = "cont/" + std::string(s.pcName) + "." + std::to_string(c);
      ts.vContainers.push_back({str, 0, 0, 0, kPageSize});
      fs::create_directories(strDbDir + str, ec);
    }
    vSpaces.push_back(ts);
  }
  const db2spcsTablespace sms = vSpaces[2];
  db2backupImage objects;   /* the SMS objects, in the order they were written */
  db2backupBegin(objects, 65536, 0x800, "UTF-8");
  std::vector<Bytes> vCatSpaces, vCatTables, vCatColumns;
  for (const Space &s : gaUniSpaces)
    vCatSpaces.push_back(CatRow(CatTablespaces(), {{0, S(s.pcName)}, {1, S("SYSIBM")}, {3, I16(s.iId)},
                                                   {4, S(std::string(1, s.cType))}, {5, S(std::string(1, s.cData))},
                                                   {6, I32(kExtent)}, {7, I32(2 * kExtent)}, {11, S("DEFAULTGROUP")},
                                                   {12, I32(1)}, {13, I32(kPageSize)}, {14, S("N")}}));
  for (const Table &t : vTables) {
    int iSpace = std::string(t.pcSpace) == "UNIDMS" ? 3 : 2;
    vCatTables.push_back(CatRow(
        CatTables(), {{0, S(t.pcName)}, {1, S("ZAVTEST")}, {2, S("T")},
                      {3, Stored({"", "", T::TIMESTAMP, 10, 0, false, ""}, "2004-01-01-00.00.00.000000")},
                      {7, I16(static_cast<int>(t.vCols.size()))}, {8, I16(t.iId)}, {9, I16(iSpace)}, {10, I32(-1)},
                      {11, I32(-1)}, {22, S(t.pcSpace)}, {29, S("SYSIBM")}, {34, I16(0)}}));
    for (size_t k = 0; k < t.vCols.size(); k++) vCatColumns.push_back(UniCatColumn(t, k));

    /* eight rows: laid out in memory, then placed */
    RowLayout layout(t, nullptr);
    for (size_t i = 0; i < t.ulRows; i++) layout.add(t.fnRow(i));
    std::vector<Bytes> vData = layout.finish();
    TableImage &img = layout.img;
    if (iSpace == 2) {
      std::vector<Bytes> vLf = img.lf.pages(), vLob = img.lob.pages();
      if (!WriteSmsObject(sms, strDbDir, t.iId, ".DAT", vData) || !WriteSmsObject(sms, strDbDir, t.iId, ".LF", vLf) ||
          !WriteSmsObject(sms, strDbDir, t.iId, ".LB", vLob))
        return _fail("SMS file", t.pcName);
      db2backupAddObject(objects, 0, iSpace, static_cast<uint16_t>(t.iId), 0, Concat(vData), 0);
      db2backupAddObject(objects, 2, iSpace, static_cast<uint16_t>(t.iId), 0, Concat(vLf), 0);
      db2backupAddObject(objects, 3, iSpace, static_cast<uint16_t>(t.iId), 0, Concat(vLob), 0);
    } else {
      /* data, long fields and LOBs in the one DMS table space */
      auto [ulEmp, ulFirst] = dms.place(vData);
      db2empObject o;
      o.usTbsId = o.usLFTbsId = o.usLOBTbsId = static_cast<uint16_t>(iSpace);
      o.usObjId = o.usLFObjId = o.usLOBObjId = static_cast<uint16_t>(t.iId);
      o.ulDataEmp = ulEmp;
      o.ulFirstData = ulFirst;
      o.ulLFEmp = dms.place(img.lf.pages()).first;
      o.ulLOBEmp = dms.place(img.lob.pages()).first;
      dms.record(o);
    }
  }
  if (!dms.write()) return _fail("DMS containers", "UNIDMS: " + dms.strError);
  vSpaces.push_back(dms.ts);
  if (!db2spcsWriteFile(strDbDir + "SQLSPCS.1", vSpaces)) return _fail("table-space control file", strDbDir);

  /* the database lies on both partitions, its data on partition 0: partition 1 holds the temporary space */
  std::string strDbDir1 = strTarget + "/data/zavinst/NODE0001/SQL00002/";
  fs::create_directories(strDbDir1 + "cont/TEMPSPACE1.0", ec);
  if (ec || !db2spcsWriteFile(strDbDir1 + "SQLSPCS.1", {vSpaces[1]}))
    return _fail("table-space control file", strDbDir1);

  /* the backup image of partition 0: list, definitions, catalogue, SMS objects, DMS pages */
  db2backupImage image;
  db2backupBegin(image, 65536, 0x800, "UTF-8");
  std::vector<std::pair<std::string, uint32_t>> vList;
  for (const Space &s : gaUniSpaces) vList.push_back({s.pcName, s.cType == 'D' ? 2u : 1u});
  BackupHead(image, vList, vSpaces);
  BackupCatalogue(image, vCatTables, vCatColumns, vCatSpaces);
  image.bytes.insert(image.bytes.end(), objects.bytes.begin() + 4096, objects.bytes.end());
  if (!BackupDmsPages(image, dms, dms.ts.sId, [] {})) return _fail("reading back", "UNIDMS");
  db2backupAddObject(image, 18, 0, 0, 0, {});
  db2backupAddTail(image);
  fs::create_directories(strTarget + "/backup", ec);
  std::string strImage = strTarget + "/backup/" + gpcUniDatabase + ".0.zavinst.NODE0000.CATN0000.20040101120000.001";
  if (!db2backupWrite(image, strImage)) return _fail("backup image", strImage);
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
      if (*pcEnd != '\0' || ull < 2 || ull > 100000000) {
        std::fprintf(stderr, "zavsample: --employees wants a number from 2 to 100000000\n");
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
  if (rc == 0) rc = BuildUnicode(strTarget);
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
