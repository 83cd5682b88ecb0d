/*
** odecimal_test.cpp
**   Decimal arithmetic against a golden table computed independently with
**   Python's decimal module (tools/odecimal_golden.py), plus the packed
**   decimal loads, sign handling, word-pair counts and failure states.
*/
#include "expr/odecimal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/ochar.h"

namespace {

struct Packed {
  std::vector<unsigned char> bytes;
  int prec = 0;
  int scale = 0;
};

/* "-123.45" -> DECIMAL(5,2) 12 34 5D; the sign nibble is given. */
Packed toPacked(const std::string &text, int signNibble = -1)
{
  std::string s = text;
  bool neg = false;
  if (!s.empty() && s[0] == '-') {
    neg = true;
    s = s.substr(1);
  }
  std::string intPart = s, frac;
  size_t dot = s.find('.');
  if (dot != std::string::npos) {
    intPart = s.substr(0, dot);
    frac = s.substr(dot + 1);
  }
  Packed p;
  p.scale = static_cast<int>(frac.size());
  p.prec = static_cast<int>(intPart.size() + frac.size());
  std::string digits = intPart + frac;
  if (p.prec % 2 == 0) digits = "0" + digits;
  std::vector<int> nibbles;
  for (char c : digits) nibbles.push_back(c - '0');
  nibbles.push_back(signNibble >= 0 ? signNibble : (neg ? 0xD : 0xC));
  for (size_t i = 0; i < nibbles.size(); i += 2)
    p.bytes.push_back(static_cast<unsigned char>(nibbles[i] << 4 | nibbles[i + 1]));
  return p;
}

odecimal load(const std::string &text, int signNibble = -1)
{
  Packed p = toPacked(text, signNibble);
  odecimal d;
  EXPECT_EQ(_decInitFromInternal(&d, p.bytes.data(), p.prec, p.scale), 0) << text;
  return d;
}

/* The value as text: no leading or trailing zeros, zero as "0". */
std::string render(const odecimal &d)
{
  std::string ip, fp;
  char buf[16];
  for (int k = 3; k >= 0; k--) {
    snprintf(buf, sizeof buf, "%09d", d.aiWord[ODEC_INT(k)]);
    ip += buf;
  }
  for (int k = 0; k < 4; k++) {
    snprintf(buf, sizeof buf, "%09d", d.aiWord[ODEC_FRAC(k)]);
    fp += buf;
  }
  size_t nz = ip.find_first_not_of('0');
  ip = nz == std::string::npos ? "0" : ip.substr(nz);
  while (!fp.empty() && fp.back() == '0') fp.pop_back();
  std::string out = (d.iSign ? "-" : "") + ip;
  if (!fp.empty()) out += "." + fp;
  return out;
}

/* Empty when the value keeps the invariants of a successful result. */
std::string invariantError(const odecimal &d)
{
  if (d.iCount < 1 || d.iCount > 4) return "count " + std::to_string(d.iCount);
  for (int i = 0; i < 8; i++)
    if (d.aiWord[i] < 0 || d.aiWord[i] >= ODEC_BASE) return "word out of range";
  for (int k = d.iCount; k < 4; k++)
    if (d.aiWord[ODEC_INT(k)] != 0 || d.aiWord[ODEC_FRAC(k)] != 0) return "word above the count";
  if (render(d) == "-0") return "negative zero";
  return "";
}

std::string statusText(int rc)
{
  char buf[32];
  snprintf(buf, sizeof buf, "!0x%x", rc);
  return buf;
}

TEST(Odecimal, GoldenTable)
{
  std::ifstream in(std::string(ZAV_SOURCE_DIR) + "/tests/expr/data/odecimal_golden.txt");
  ASSERT_TRUE(in.good());
  std::string line;
  int lineNo = 0, checked = 0, failures = 0;
  while (std::getline(in, line)) {
    lineNo++;
    if (line.empty() || line[0] == '#') continue;
    std::istringstream ls(line);
    std::string op, a, b, c, want, got;
    ls >> op >> a;
    odecimal x = load(a), y, r;
    if (op == "add" || op == "mul" || op == "cmp") {
      ls >> b >> want;
      y = load(b);
      if (op == "cmp") {
        got = std::to_string(_decCmp(&x, &y));
      } else {
        int rc = op == "add" ? _decAdd(&r, &x, &y) : _decMult(&r, &x, &y);
        got = rc ? statusText(rc) : render(r);
      }
    } else if (op == "div") {
      ls >> b >> c >> want;
      y = load(b);
      int rc = _decDiv(&r, &x, &y, std::stoi(c));
      got = rc ? statusText(rc) : render(r);
    } else if (op == "addint" || op == "mulint" || op == "divint" || op == "cmpint") {
      ls >> b >> want;
      int32_t k = static_cast<int32_t>(std::stol(b));
      if (op == "cmpint") {
        got = std::to_string(_decCmpInt(&x, k));
      } else {
        int rc = op == "addint" ? _decAddInt(&r, &x, k) : op == "mulint" ? _decMultInt(&r, &x, k) : _decDivInt(&r, &x, k);
        got = rc ? statusText(rc) : render(r);
      }
    } else if (op == "toint") {
      ls >> want;
      int32_t v = 7;
      int rc = _dec2int(&x, &v);
      got = rc ? "!" + std::to_string(rc) : std::to_string(v);
      if (rc != 0 && v != 0) got += " (value not cleared)";
    } else if (op == "round") {
      ls >> c >> want;
      r = x;
      EXPECT_EQ(_decRound(&r, std::stoi(c)), 0);
      got = render(r);
    } else {
      ADD_FAILURE() << "unknown operation on line " << lineNo;
      continue;
    }
    bool producesValue = op != "cmp" && op != "cmpint" && op != "toint";
    std::string inv = (producesValue && got[0] != '!') ? invariantError(r) : "";
    if (got != want || !inv.empty()) {
      if (++failures <= 25)
        ADD_FAILURE() << "line " << lineNo << ": " << line << "\n  got " << got << (inv.empty() ? "" : " [" + inv + "]");
    }
    checked++;
  }
  EXPECT_GT(checked, 5000);
  EXPECT_EQ(failures, 0);
}

TEST(Odecimal, PackedLoads)
{
  struct Case {
    std::vector<unsigned char> bytes;
    int prec, scale;
    const char *value;
    int count;
  } cases[] = {
    {{0x12, 0x34, 0x5C}, 5, 2, "123.45", 1},
    {{0x12, 0x34, 0x5D}, 5, 2, "-123.45", 1},
    {{0x01, 0x23, 0x4C}, 4, 0, "1234", 1},       /* even precision: pad nibble skipped */
    {{0x91, 0x23, 0x4C}, 4, 0, "1234", 1},       /* whatever the pad holds */
    {{0xF1, 0x23, 0x4C}, 4, 0, "1234", 1},
    {{0x1C}, 1, 0, "1", 1},
    {{0xAC}, 1, 0, "0", 1},                      /* a digit above 9 beside the sign */
    {{0x12, 0x3C}, 3, 3, "0.123", 1},
    {{0x00, 0x0D}, 3, 2, "0", 1},                /* negative zero loads as zero */
    {{0x1A, 0x34, 0x5C}, 5, 2, "3.45", 1},       /* a byte with a nibble above 9 reads 00 */
    {{0x99, 0x99, 0x99, 0x99, 0x9C}, 9, 0, "999999999", 1},
    {{0x01, 0x00, 0x00, 0x00, 0x00, 0x0C}, 10, 0, "1000000000", 2},
  };
  for (const Case &c : cases) {
    odecimal d;
    ASSERT_EQ(_decInitFromInternal(&d, c.bytes.data(), c.prec, c.scale), 0);
    EXPECT_EQ(render(d), c.value);
    EXPECT_EQ(d.iCount, c.count) << c.value;
  }
  /* The count follows the declared digits: DECIMAL(31,20) 5.5 has three pairs. */
  odecimal d = load("00000000005.50000000000000000000");
  EXPECT_EQ(d.iCount, 3);
  EXPECT_EQ(render(d), "5.5");
  /* 31 digits, the DECIMAL constant's widest value. */
  EXPECT_EQ(render(load("-1234567890123456789.012345678901")), "-1234567890123456789.012345678901");
}

/* Values stored back in packed form at a precision and scale: digits
   beyond the scale truncated, too many integer digits refused. */
TEST(Odecimal, PackedStores)
{
  struct Case {
    const char *value;
    int prec, scale;
    std::vector<unsigned char> bytes;   /* empty: refused with ODEC_OVERFLOW */
  } cases[] = {
    {"123.45", 5, 2, {0x12, 0x34, 0x5C}},
    {"-123.45", 5, 2, {0x12, 0x34, 0x5D}},
    {"1234", 4, 0, {0x01, 0x23, 0x4C}},          /* even precision: pad nibble 0 */
    {"58025.000", 11, 3, {0x00, 0x05, 0x80, 0x25, 0x00, 0x0C}},
    {"-0.125", 5, 2, {0x00, 0x01, 0x2D}},         /* truncated, not rounded */
    {"-0.001", 5, 2, {0x00, 0x00, 0x0C}},         /* truncated to zero: positive */
    {"17583.333333333333333333333333", 31, 24,
     {0x00, 0x17, 0x58, 0x33, 0x33, 0x33, 0x33, 0x33, 0x33, 0x33, 0x33, 0x33, 0x33, 0x33, 0x33, 0x3C}},
    {"1234567890123456789.012345678901", 31, 12,
     {0x12, 0x34, 0x56, 0x78, 0x90, 0x12, 0x34, 0x56, 0x78, 0x90, 0x12, 0x34, 0x56, 0x78, 0x90, 0x1C}},
    {"1000", 5, 2, {}},
    {"999.995", 5, 2, {0x99, 0x99, 0x9C}},
    {"-1000.5", 5, 2, {}},
  };
  for (const Case &c : cases) {
    odecimal d = load(c.value);
    unsigned char auc[17] = {};
    int rc = _decToInternal(&d, auc, c.prec, c.scale);
    if (c.bytes.empty()) {
      EXPECT_EQ(rc, ODEC_OVERFLOW) << c.value;
      continue;
    }
    ASSERT_EQ(rc, 0) << c.value;
    EXPECT_EQ(std::vector<unsigned char>(auc, auc + c.prec / 2 + 1), c.bytes) << c.value;
    /* and back */
    odecimal back;
    ASSERT_EQ(_decInitFromInternal(&back, auc, c.prec, c.scale), 0);
  }
  odecimal d = load("1.5");
  unsigned char auc[17];
  EXPECT_EQ(_decToInternal(&d, auc, 32, 0), ODEC_INVALID);
  EXPECT_EQ(_decToInternal(&d, auc, 3, 4), ODEC_INVALID);
  d.iCount = -1;
  EXPECT_EQ(_decToInternal(&d, auc, 5, 2), ODEC_INVALID);
}

TEST(Odecimal, SignNibbles)
{
  struct Case {
    int nibble;
    const char *value;
  } cases[] = {{0xA, "7.5"}, {0xB, "-7.5"}, {0xC, "7.5"}, {0xD, "-7.5"}, {0xE, "7.5"}, {0xF, "7.5"}};
  for (const Case &c : cases) EXPECT_EQ(render(load("7.5", c.nibble)), c.value) << std::hex << c.nibble;
}

TEST(Odecimal, BadPrecisionIsAFailedValue)
{
  unsigned char bytes[40] = {0x1C};
  odecimal d, r, one;
  _decFromInt(&one, 1);
  EXPECT_EQ(_decInitFromInternal(&d, bytes, 3, 5), ODEC_INVALID);   /* scale above precision */
  EXPECT_EQ(_decInitFromInternal(&d, bytes, 38, 0), ODEC_INVALID);  /* 38 integer digits */
  EXPECT_LT(d.iCount, 0);
  EXPECT_EQ(_decAdd(&r, &d, &one), ODEC_INVALID);
  EXPECT_EQ(_decCmp(&d, &one), -2);
}

TEST(Odecimal, ZeroIsNeverNegative)
{
  odecimal zero, a, b, r;
  _decClean(&zero);
  /* -5 + 5 as decimals and with an integer. */
  a = load("-5");
  b = load("5");
  ASSERT_EQ(_decAdd(&r, &a, &b), 0);
  EXPECT_EQ(r.iSign, 0);
  EXPECT_EQ(r.iCount, 1);
  EXPECT_EQ(_decCmp(&r, &zero), 0);
  ASSERT_EQ(_decAddInt(&r, &a, 5), 0);
  EXPECT_EQ(r.iSign, 0);
  EXPECT_EQ(_decCmpInt(&r, 0), 0);
  /* -3 x 0, -0.001 truncated to scale 0, -1 / 3 at scale 0, -0.5 x 0. */
  ASSERT_EQ(_decMultInt(&r, &a, 0), 0);
  EXPECT_EQ(r.iSign, 0);
  ASSERT_EQ(_decMult(&r, &a, &zero), 0);
  EXPECT_EQ(r.iSign, 0);
  r = load("-0.001");
  _decRound(&r, 0);
  EXPECT_EQ(r.iSign, 0);
  EXPECT_EQ(_decCmp(&r, &zero), 0);
  a = load("-1");
  b = load("3");
  ASSERT_EQ(_decDiv(&r, &a, &b, 0), 0);
  EXPECT_EQ(r.iSign, 0);
  EXPECT_EQ(_decCmpInt(&r, 0), 0);
  /* A zero built with sign 1 by hand still equals zero. */
  odecimal negZero = zero;
  negZero.iSign = 1;
  EXPECT_EQ(_decCmp(&negZero, &zero), 0);
  EXPECT_EQ(_decCmpInt(&negZero, 0), 0);
  EXPECT_EQ(_decCmp(&negZero, &b), -1);
}

TEST(Odecimal, WordPairCounts)
{
  odecimal a, b, r;
  _decFromInt(&a, 999999999);
  EXPECT_EQ(a.iCount, 1);
  ASSERT_EQ(_decAddInt(&r, &a, 1), 0);
  EXPECT_EQ(r.aiWord[ODEC_INT(1)], 1);
  EXPECT_EQ(r.aiWord[ODEC_INT(0)], 0);
  EXPECT_EQ(r.iCount, 2);
  _decFromInt(&b, 1);
  ASSERT_EQ(_decAdd(&r, &a, &b), 0);
  EXPECT_EQ(r.iCount, 2);
  /* 5 + (-2,000,000,000) */
  _decFromInt(&a, 5);
  ASSERT_EQ(_decAddInt(&r, &a, -2000000000), 0);
  EXPECT_EQ(render(r), "-1999999995");
  EXPECT_EQ(r.iCount, 2);
  ASSERT_EQ(_decAddInt(&r, &a, INT32_MIN), 0);
  EXPECT_EQ(render(r), "-2147483643");
  a = load("0.5");
  ASSERT_EQ(_decAddInt(&r, &a, -1000000000), 0);
  EXPECT_EQ(render(r), "-999999999.5");
  /* (10^18 - 1)^2 */
  a = load("999999999999999999");
  ASSERT_EQ(_decMult(&r, &a, &a), 0);
  EXPECT_EQ(r.aiWord[ODEC_INT(3)], 999999999);
  EXPECT_EQ(r.aiWord[ODEC_INT(2)], 999999998);
  EXPECT_EQ(r.aiWord[ODEC_INT(1)], 0);
  EXPECT_EQ(r.aiWord[ODEC_INT(0)], 1);
  EXPECT_EQ(r.iCount, 4);
  /* A subtraction drops the count to the highest non-zero pair. */
  a = load("1000000000000000000.5");
  b = load("-1000000000000000000");
  ASSERT_EQ(_decAdd(&r, &a, &b), 0);
  EXPECT_EQ(r.iCount, 1);
  EXPECT_EQ(render(r), "0.5");
  /* Equal values with different counts compare equal. */
  a = load("1.5");
  b = load("00000000001.50000000000000000000");
  EXPECT_EQ(_decCmp(&a, &b), 0);
}

TEST(Odecimal, Integers)
{
  odecimal d;
  int32_t v = 1;
  _decFromInt(&d, INT32_MIN);
  EXPECT_EQ(d.aiWord[ODEC_INT(1)], 2);
  EXPECT_EQ(d.aiWord[ODEC_INT(0)], 147483648);
  EXPECT_EQ(d.iSign, 1);
  EXPECT_EQ(_dec2int(&d, &v), -1);
  EXPECT_EQ(v, 0);
  _decFromInt(&d, INT32_MAX);
  EXPECT_EQ(_dec2int(&d, &v), 0);
  EXPECT_EQ(v, INT32_MAX);
  _decFromBig(&d, INT64_MIN);
  EXPECT_EQ(render(d), "-9223372036854775808");
  EXPECT_EQ(d.iCount, 3);
  _decFromBig(&d, 999999999999999999LL);
  EXPECT_EQ(d.iCount, 2);
  EXPECT_EQ(_decCmpInt(&d, 5), 1);
  d = load("-3.9");
  EXPECT_EQ(_dec2int(&d, &v), 0);
  EXPECT_EQ(v, -3);
  d.iCount = -1;
  v = 9;
  EXPECT_EQ(_dec2int(&d, &v), -1);
  EXPECT_EQ(v, 0);
  EXPECT_EQ(_decCmpInt(&d, 0), -2);
}

TEST(Odecimal, Doubles)
{
  struct Case {
    double in;
    const char *value;
  } cases[] = {
    {1.5, "1.5"},
    {-0.25, "-0.25"},
    {123456789012.0, "123456789012"},
    {1e20, "100000000000000000000"},
    {-0.0, "0"},
  };
  for (const Case &c : cases) {
    odecimal d;
    ASSERT_EQ(_decFromDouble(&d, c.in), 0);
    EXPECT_EQ(render(d), c.value) << c.in;
    EXPECT_EQ(invariantError(d), "") << c.in;
    EXPECT_EQ(_decToDouble(&d), c.in);
  }
  /* Wide and inexact values come back to the same double. */
  odecimal d;
  for (double x : {1e30, -0.1, 123456.789, 9.87654321e35, 1e-30}) {
    ASSERT_EQ(_decFromDouble(&d, x), 0);
    EXPECT_EQ(invariantError(d), "") << x;
    EXPECT_DOUBLE_EQ(_decToDouble(&d), x);
  }
  for (double bad : {1e36, -1e40, HUGE_VAL, std::nan("")}) {
    EXPECT_EQ(_decFromDouble(&d, bad), -1) << bad;
    EXPECT_EQ(d.iCount, -1);
  }
  d = load("1.5");
  EXPECT_EQ(_decToDouble(&d), 1.5);
  d = load("-" + std::string(36, '9'));
  EXPECT_EQ(_decToDouble(&d), -1e36);
}

TEST(Odecimal, FailuresAndOverflow)
{
  odecimal a, b, r;
  /* 37 integer digits. */
  a = load(std::string(36, '9'));
  b = load("10");
  EXPECT_EQ(_decMult(&r, &a, &b), ODEC_OVERFLOW);
  EXPECT_EQ(r.iCount, -1);
  EXPECT_EQ(_decAddInt(&r, &a, 1), ODEC_OVERFLOW);
  EXPECT_EQ(r.iCount, -1);
  EXPECT_EQ(_decMultInt(&r, &a, 10), ODEC_OVERFLOW);
  EXPECT_EQ(r.iCount, -3);
  EXPECT_EQ(r.iOverflow, 9);
  /* Division by zero, and a failed operand. */
  _decClean(&b);
  EXPECT_EQ(_decDiv(&r, &a, &b, 2), ODEC_DIVZERO);
  EXPECT_EQ(r.iCount, -2);
  EXPECT_EQ(_decDivInt(&r, &a, 0), ODEC_DIVZERO);
  b = load("1");
  a.iCount = -1;
  EXPECT_EQ(_decAdd(&r, &a, &b), ODEC_INVALID);
  EXPECT_EQ(_decMult(&r, &b, &a), ODEC_INVALID);
  EXPECT_EQ(_decMultInt(&r, &a, 2), ODEC_INVALID);
  EXPECT_EQ(_decAddInt(&r, &a, 2), ODEC_INVALID);
  EXPECT_EQ(_decDiv(&r, &b, &a, 2), ODEC_INVALID);
  EXPECT_EQ(_decCmp(&b, &a), -2);
  a.iCount = 5;
  EXPECT_EQ(_decAdd(&r, &a, &b), ODEC_INVALID);
}

TEST(Odecimal, ResultMayBeAnOperand)
{
  odecimal a = load("10"), b = load("3");
  ASSERT_EQ(_decDiv(&a, &a, &b, 2), 0);
  EXPECT_EQ(render(a), "3.33");
  ASSERT_EQ(_decMult(&b, &a, &b), 0);
  EXPECT_EQ(render(b), "9.99");
  ASSERT_EQ(_decAdd(&b, &b, &b), 0);
  EXPECT_EQ(render(b), "19.98");
  ASSERT_EQ(_decAddInt(&b, &b, -20), 0);
  EXPECT_EQ(render(b), "-0.02");
  ASSERT_EQ(_decMultInt(&b, &b, -50), 0);
  EXPECT_EQ(render(b), "1");
}

TEST(Odecimal, LongDivisionAndPowers)
{
  odecimal a = load("99999999999999999.9"), b = load("0.5"), r;
  ASSERT_EQ(_decDivKnuth(&r, &a, &b, 0), 0);
  EXPECT_EQ(render(r), "199999999999999999");
  a = load("-22");
  b = load("1.1");
  ASSERT_EQ(_decDivKnuth(&r, &a, &b, 15), 0);
  EXPECT_EQ(render(r), "-20");
  a = load("1.5");
  ASSERT_EQ(_decMultPow10(&a, 10), 0);
  EXPECT_EQ(render(a), "15000000000");
  EXPECT_EQ(_decMultPow10(&a, -1), -1);
  ASSERT_EQ(_decMultPow10(&a, 26), 0);
  EXPECT_EQ(a.iCount, -1);
  EXPECT_EQ(_decTest(), 0);
}

TEST(Odecimal, WordPositions)
{
  odecimal d = load("123000000456.000000789");
  int pos = 0;
  EXPECT_EQ(_decGetHighValue(&d, &pos), 123);
  EXPECT_EQ(pos, 1);
  EXPECT_EQ(_decGetLowValue(&d, &pos), 789);  /* fraction word 0 */
  EXPECT_EQ(pos, -1);
  EXPECT_EQ(_decGetSpread(&d), 3);
  EXPECT_EQ(_decGetValue(&d, 0), 456);
  EXPECT_EQ(_decGetValue(&d, 9), 0);
  _decShiftValue(&d, 2);  /* x 10^18 */
  EXPECT_EQ(render(d), "123000000456000000789000000000");
  EXPECT_EQ(d.iOverflow, 0);
  EXPECT_EQ(_decGetValue(&d, 3), 123);
  EXPECT_EQ(d.iCount, 4);
  _decShiftValue(&d, -5);
  EXPECT_EQ(render(d), "0.000000000000000123000000456000000789");
  EXPECT_EQ(d.iCount, 4);
  _decShiftValue(&d, -INT32_MAX);
  EXPECT_EQ(render(d), "0");
  EXPECT_EQ(d.iCount, 1);
  _decSetValue(&d, -3, 5);
  EXPECT_EQ(d.iCount, 3);
  _decSetValue(&d, 4, 7);
  EXPECT_EQ(d.iOverflow, 7);
  EXPECT_EQ(_decGetHighValue(&d, &pos), 7);
  EXPECT_EQ(pos, 4);
  _decClean(&d);
  EXPECT_EQ(_decGetHighValue(&d, &pos), 0);
  EXPECT_EQ(pos, -5);
  EXPECT_EQ(_decGetSpread(&d), 0);
}

TEST(Odecimal, ConstantText)
{
  unsigned char buf[ODEC_CONST_LEN] = {};
  buf[0] = 5;  /* DECIMAL(5,2) -123.45 */
  buf[1] = 2;
  buf[15] = 0x12;
  buf[16] = 0x34;
  buf[17] = 0x5D;
  ochar *pText = odecCreateChar(buf, ',', 850);
  ASSERT_NE(pText, nullptr);
  EXPECT_EQ(std::string(pText->pcData, pText->ilBU), "-123,45");
  ocharDestroy(pText);
  buf[0] = 4;  /* DECIMAL(4,0) 1234, even precision */
  buf[1] = 0;
  buf[15] = 0x01;
  buf[16] = 0x23;
  buf[17] = 0x4F;
  pText = odecCreateChar(buf, '.', 850);
  ASSERT_NE(pText, nullptr);
  EXPECT_EQ(std::string(pText->pcData, pText->ilBU), "+1234.");
  ocharDestroy(pText);
  buf[0] = 40;
  EXPECT_EQ(odecCreateChar(buf, '.', 850), nullptr);
}

TEST(Odecimal, DebugPrint)
{
  char *text = nullptr;
  size_t len = 0;
  FILE *f = open_memstream(&text, &len);
  ASSERT_NE(f, nullptr);
  odecimal d = load("-12.5");
  _decPrint(&d, f);
  d.iCount = -1;
  fputc('|', f);
  _decPrint(&d, f);
  fclose(f);
  EXPECT_STREQ(text, "-000000012.500000000|NAN/INFINITI");
  free(text);
}

}  // namespace
