/*
** zorucorefmt_test.cpp
**   Word-at-a-time text routines against plain references: integers of
**   every magnitude against std::to_chars, packed decimals of every
**   precision, scale and sign nibble against a digit-by-digit reading,
**   floats around every power of ten against printf, and the byte helpers
**   on buffers of their exact size (AddressSanitizer catches a byte read or
**   written past them).
*/
#include "run/zorucorefmt.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

struct fmtRandom {
  uint64_t ul = 0x2545F4914F6CDD1Dull;
  uint64_t next()
  {
    ul ^= ul << 13;
    ul ^= ul >> 7;
    ul ^= ul << 17;
    return ul;
  }
  int below(int n) { return static_cast<int>(next() % static_cast<uint64_t>(n)); }
};

/* A heap copy of exactly the bytes given. */
std::unique_ptr<unsigned char[]> exact(const std::vector<unsigned char> &v)
{
  std::unique_ptr<unsigned char[]> p(new unsigned char[v.size() == 0 ? 1 : v.size()]);
  if (!v.empty()) std::memcpy(p.get(), v.data(), v.size());
  return p;
}

/* The DEL text of a packed decimal read nibble by nibble; "" when the value is refused. */
std::string refDecimal(const std::vector<unsigned char> &v, int iPrec, int iScale, char cPoint)
{
  auto nibble = [&](int i) { return (i % 2 == 0) ? v[static_cast<size_t>(i / 2)] >> 4 : v[static_cast<size_t>(i / 2)] & 0x0F; };
  int iSign = nibble(2 * (iPrec / 2 + 1) - 1);
  if (iSign < 0x0A) return "";
  std::string strDigits;
  for (int i = 0; i < iPrec; i++) {
    int iDigit = nibble(iPrec % 2 != 0 ? i : i + 1);
    if (iDigit > 9) return "";
    strDigits += static_cast<char>('0' + iDigit);
  }
  std::string str(1, (iSign == 0x0B || iSign == 0x0D) ? '-' : '+');
  str += strDigits.substr(0, static_cast<size_t>(iPrec - iScale));
  if (iScale > 0 || iPrec % 2 != 0) str += cPoint;
  return str + strDigits.substr(static_cast<size_t>(iPrec - iScale));
}

std::string refFloat(double d, int iPrecision)
{
  char ac[64];
  std::snprintf(ac, sizeof ac, "%.*G", iPrecision, d);
  return ac;
}

}  // namespace

TEST(zorucorefmt, IntegersOfEveryMagnitudeAreToCharsText)
{
  std::vector<int64_t> vll = {0, 1, -1, 9, 10, 99, 100, -100, std::numeric_limits<int64_t>::min(),
                              std::numeric_limits<int64_t>::max(), std::numeric_limits<int32_t>::min(),
                              std::numeric_limits<int16_t>::min()};
  int64_t llPow = 1;
  for (int i = 0; i <= 18; i++, llPow = i <= 18 ? llPow * 10 : llPow)
    for (int64_t ll : {llPow - 1, llPow, llPow + 1}) {
      vll.push_back(ll);
      vll.push_back(-ll);
    }
  fmtRandom rnd;
  for (int i = 0; i < 200000; i++) vll.push_back(static_cast<int64_t>(rnd.next() >> rnd.below(64)) * (i % 2 ? 1 : -1));
  int iMismatch = 0;
  for (int64_t ll : vll) {
    for (bool boPlus : {false, true}) {
      char acWant[32];
      char *pc = acWant;
      if (ll >= 0 && boPlus) *pc++ = '+';
      pc = std::to_chars(pc, acWant + sizeof acWant, ll).ptr;
      std::string strWant(acWant, pc);
      char acGot[ZORUCOREFMT_INT_MAX + ZORUCOREFMT_SLACK];
      std::string strGot(acGot, zorucorefmtInt(acGot, ll, boPlus));
      if ((strGot != strWant || zorucorefmtIntLength(ll, boPlus) != static_cast<int>(strWant.size())) && iMismatch++ < 10)
        ADD_FAILURE() << ll << (boPlus ? " with plus" : "") << ": \"" << strGot << "\", want \"" << strWant << "\"";
    }
  }
  EXPECT_EQ(iMismatch, 0);
}

TEST(zorucorefmt, DecimalsOfEveryPrecisionScaleAndSignAreTheirDigits)
{
  fmtRandom rnd;
  int iMismatch = 0, iChecked = 0;
  for (int iPrec = 1; iPrec <= 31; iPrec++) {
    for (int iScale = 0; iScale <= iPrec; iScale++) {
      zorucorefmtDecimalForm form;
      bool boForm = zorucorefmtDecimalMake(&form, iPrec, iScale, ',');
      EXPECT_EQ(boForm, iPrec <= 15);
      int iBytes = iPrec / 2 + 1;
      for (int iRow = 0; iRow < 64; iRow++) {
        std::vector<unsigned char> v(static_cast<size_t>(iBytes));
        for (unsigned char &uc : v) uc = static_cast<unsigned char>(rnd.below(10) << 4 | rnd.below(10));
        /* every sign nibble; now and then a digit nibble above 9 or another pad nibble */
        v.back() = static_cast<unsigned char>((v.back() & 0xF0) | (iRow % 16));
        if (iRow % 5 == 4) {
          int iNibble = rnd.below(2 * iBytes - 1);
          unsigned char &uc = v[static_cast<size_t>(iNibble / 2)];
          uc = static_cast<unsigned char>(iNibble % 2 ? (uc & 0xF0) | (10 + rnd.below(6)) : (uc & 0x0F) | (10 + rnd.below(6)) << 4);
        }
        if (iPrec % 2 == 0 && iRow % 3 == 0) v[0] = static_cast<unsigned char>((v[0] & 0x0F) | rnd.below(16) << 4);
        std::string strWant = refDecimal(v, iPrec, iScale, ',');
        std::unique_ptr<unsigned char[]> puc = exact(v);
        char ac[64 + ZORUCOREFMT_SLACK];
        char *pcEnd = zorucorefmtDecimal(puc.get(), iPrec, iScale, ',', ac);
        std::string strGot = pcEnd == nullptr ? "" : std::string(ac, pcEnd);
        std::string strForm = strGot;
        if (boForm) {
          pcEnd = zorucorefmtDecimalWrite(form, puc.get(), ac);
          strForm = pcEnd == nullptr ? "" : std::string(ac, pcEnd);
        }
        iChecked++;
        if ((strGot != strWant || strForm != strWant) && iMismatch++ < 10)
          ADD_FAILURE() << "DECIMAL(" << iPrec << "," << iScale << ") row " << iRow << ": \"" << strGot << "\" and \""
                        << strForm << "\", want \"" << strWant << "\"";
      }
    }
  }
  EXPECT_EQ(iMismatch, 0);
  EXPECT_GT(iChecked, 30000);
  /* out of range */
  unsigned char auc[16] = {0x1C};
  char ac[64];
  EXPECT_EQ(zorucorefmtDecimal(auc, 0, 0, '.', ac), nullptr);
  EXPECT_EQ(zorucorefmtDecimal(auc, 32, 0, '.', ac), nullptr);
  EXPECT_EQ(zorucorefmtDecimal(auc, 3, 4, '.', ac), nullptr);
  zorucorefmtDecimalForm form;
  EXPECT_FALSE(zorucorefmtDecimalMake(&form, 16, 0, '.'));
  EXPECT_FALSE(zorucorefmtDecimalMake(&form, 5, 6, '.'));
}

TEST(zorucorefmt, FloatsAroundEveryPowerOfTenArePrintfsText)
{
  std::vector<double> vd;
  for (int e = -6; e <= 17; e++) {
    double d = std::pow(10.0, e);
    for (double dStep : {d, std::nextafter(d, 0.0), std::nextafter(d, 1e300)}) {
      double dx = dStep;
      for (int i = 0; i < 4; i++) {
        vd.push_back(dx);
        vd.push_back(-dx);
        vd.push_back(dx * 0.9999999999999999);
        vd.push_back(9.5 * dx / 10);
        dx = std::nextafter(dx, dStep < d ? 0.0 : 1e300);
      }
    }
    vd.push_back(d * 0.99999999999999994);
    vd.push_back(d * 0.9999995);
    vd.push_back(static_cast<float>(d) * 0.9999995f);
  }
  /* values of few decimals, at the edges of the range written from their hundredths or ten-thousandths */
  for (double d : {1e-4, 0.0001, 0.0005, 0.01, 0.015, 12.5, 9999.99, 10000.0, 99999.99, 123456789.0123,
                   99999999999.9999, 1e11, 100000000000.5, 4.5, 3.75, 1.25, 2.5})
    for (double dSigned : {d, -d, static_cast<double>(static_cast<float>(d))}) vd.push_back(dSigned);
  fmtRandom rnd;
  for (int i = 0; i < 100000; i++) {
    vd.push_back(static_cast<double>(rnd.below(2000001) - 1000000) / std::pow(10.0, rnd.below(18)));
    vd.push_back(static_cast<double>(static_cast<int64_t>(rnd.next() % 1000000000000000ull)) / 1e4);
    vd.push_back(static_cast<float>(static_cast<double>(rnd.below(2000001)) / std::pow(10.0, rnd.below(10))));
  }
  int iMismatch = 0;
  for (double d : vd) {
    for (int iPrecision : {15, 6, 10}) {
      char ac[ZORUCOREFMT_FLOAT_MAX + ZORUCOREFMT_SLACK];
      int iLength = zorucorefmtFloat(d, iPrecision, ac);
      std::string strGot = iLength < 0 ? "(none)" : std::string(ac, static_cast<size_t>(iLength));
      std::string strWant = refFloat(d, iPrecision);
      if (strGot != strWant && iMismatch++ < 10)
        ADD_FAILURE() << std::hexfloat << d << " %." << iPrecision << "G: \"" << strGot << "\", want \"" << strWant << "\"";
    }
  }
  EXPECT_EQ(iMismatch, 0);
}

TEST(zorucorefmt, ByteHelpersReadAndWriteOnlyTheirBytes)
{
  fmtRandom rnd;
  for (int32_t ilLength = 0; ilLength <= 40; ilLength++) {
    for (int iRow = 0; iRow < 200; iRow++) {
      std::vector<unsigned char> v(static_cast<size_t>(ilLength));
      for (unsigned char &uc : v) uc = static_cast<unsigned char>(rnd.below(4) == 0 ? '"' : 'a' + rnd.below(26));
      if (iRow % 2 == 0)
        for (unsigned char &uc : v)
          if (uc == '"') uc = 'q';
      std::unique_ptr<unsigned char[]> puc = exact(v);
      bool boWant = !v.empty() && std::memchr(v.data(), '"', v.size()) != nullptr;
      EXPECT_EQ(zorucorefmtHasDelim(puc.get(), ilLength, '"'), boWant) << ilLength;
      if (ilLength <= 16) {
        std::unique_ptr<char[]> pcOut(new char[static_cast<size_t>(ilLength) + 1]);
        pcOut[ilLength] = '#';
        zorucorefmtCopySmall(pcOut.get(), puc.get(), ilLength);
        EXPECT_EQ(std::string(pcOut.get(), static_cast<size_t>(ilLength) + 1),
                  std::string(v.begin(), v.end()) + "#");
      }
      if (ilLength <= 8) {
        uint64_t ulWant = 0;
        for (int32_t i = 0; i < ilLength; i++) ulWant |= static_cast<uint64_t>(v[static_cast<size_t>(i)]) << (8 * i);
        EXPECT_EQ(zorucorefmtLoad(puc.get(), ilLength), ulWant);
      }
    }
  }
  /* a byte 0 looked for is found only among the bytes given */
  unsigned char auc[3] = {'a', 0, 'b'};
  EXPECT_TRUE(zorucorefmtHasDelim(auc, 3, 0));
  EXPECT_FALSE(zorucorefmtHasDelim(auc, 1, 0));
}

TEST(zorucorefmt, EightDigitsAndSixteenNibblesInMemoryOrder)
{
  fmtRandom rnd;
  for (int i = 0; i < 300000; i++) {
    uint32_t ul = i < 1000 ? static_cast<uint32_t>(i) * 99999u : static_cast<uint32_t>(rnd.below(100000000));
    char acWant[16];
    std::snprintf(acWant, sizeof acWant, "%08u", ul);
    unsigned char aucGot[8];
    obytePutLE64(aucGot, zorucorefmtDigits8(ul));
    ASSERT_EQ(std::string(reinterpret_cast<char *>(aucGot), 8), acWant);
  }
  unsigned char auc[4] = {0x12, 0x34, 0xAB, 0xF0};
  unsigned char aucNibbles[8];
  obytePutLE64(aucNibbles, zorucorefmtNibbles4(obyteGetLE32(auc)));
  const unsigned char aucWant[8] = {1, 2, 3, 4, 0xA, 0xB, 0xF, 0};
  EXPECT_EQ(std::memcmp(aucNibbles, aucWant, 8), 0);
  EXPECT_FALSE(zorucorefmtAreDigits(zorucorefmtNibbles4(obyteGetLE32(auc)), ~0ull));
  EXPECT_TRUE(zorucorefmtAreDigits(zorucorefmtNibbles4(obyteGetLE32(auc)), 0xFFFFFFFFull));
}
