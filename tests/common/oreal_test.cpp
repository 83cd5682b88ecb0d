// Floats of the typed resources: HFP/IEEE conversions with the worked values,
// range handling, and the float modes of the serial procedure.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "common/oreal.h"
#include "common/ores.h"
#include "common/orestype.h"
#include "common/ostack.h"

namespace {

uint32_t bits(float f)
{
  uint32_t u;
  std::memcpy(&u, &f, 4);
  return u;
}

float fromBits(uint32_t u)
{
  float f;
  std::memcpy(&f, &u, 4);
  return f;
}

uint64_t bits(double d)
{
  uint64_t u;
  std::memcpy(&u, &d, 8);
  return u;
}

TEST(oreal, ShortConversionsGiveTheWorkedValues)
{
  struct {
    uint32_t ieee, hfp;
  } exact[] = {
      {0x3F800000, 0x41100000},   // 1.0
      {0xC1200000, 0xC1A00000},   // -10.0
      {0x3F000000, 0x40800000},   // 0.5
      {0x42C80000, 0x42640000},   // 100.0
      {0x00000000, 0x00000000},
  };
  for (const auto &c : exact) {
    EXPECT_EQ(_realBFPSingle2HFPSingle(c.ieee), c.hfp) << std::hex << c.ieee;
    uint32_t ul = 0xDEAD;
    EXPECT_EQ(_realHFPSingle2BFPSingle(c.hfp, &ul), 0);
    EXPECT_EQ(ul, c.ieee) << std::hex << c.hfp;
  }
  uint32_t ul = 1;
  _realHFPSingle2BFPSingle(0x80000000, &ul);   // negative zero loses its sign
  EXPECT_EQ(ul, 0u);
  // IEEE to HFP truncates the bits that do not fit: 1 + 2^-23 keeps 21 bits.
  EXPECT_EQ(_realBFPSingle2HFPSingle(0x3F800001), 0x41100000u);
}

TEST(oreal, LongConversionsGiveTheWorkedValues)
{
  uint64_t ull = 0;
  EXPECT_EQ(_realBFPDouble2HFPDouble(0x3FF0000000000000ull, &ull), 0);
  EXPECT_EQ(ull, 0x4110000000000000ull);
  EXPECT_EQ(_realHFPDouble2BFPDouble(0x4110000000000000ull, &ull), 0);
  EXPECT_EQ(ull, 0x3FF0000000000000ull);
  for (double d : {-10.0, 0.1, 123456.789, 1e-70, 3e70}) {
    uint64_t hfp = 0, back = 0;
    _realBFPDouble2HFPDouble(bits(d), &hfp);
    _realHFPDouble2BFPDouble(hfp, &back);
    EXPECT_EQ(back, bits(d)) << d;   // the long form holds every double bit
  }
  _realHFPDouble2BFPDouble(0, &ull);
  EXPECT_EQ(ull, 0u);
}

TEST(oreal, ValuesOutsideTheTargetRangeSaturateOrFlush)
{
  uint32_t ul = 0;
  _realHFPSingle2BFPSingle(0x7FFFFFFF, &ul);           // 16^63: too large for IEEE single
  EXPECT_EQ(ul, 0x7F7FFFFFu);
  _realHFPSingle2BFPSingle(0xFFFFFFFF, &ul);
  EXPECT_EQ(ul, 0xFF7FFFFFu);
  _realHFPSingle2BFPSingle(0x00100000, &ul);           // 16^-65: below the normal range
  EXPECT_EQ(ul, 0u);
  EXPECT_EQ(_realBFPSingle2HFPSingle(0x7F800000), 0x7FFFFFFFu);   // infinity
  EXPECT_EQ(_realBFPSingle2HFPSingle(0x7FC00000), 0u);            // NaN
  EXPECT_EQ(_realBFPSingle2HFPSingle(0x00000001), 0x1B800000u);   // 2^-149, normalised

  uint64_t ull = 0;
  _realBFPDouble2HFPDouble(bits(1e300), &ull);
  EXPECT_EQ(ull, 0x7FFFFFFFFFFFFFFFull);
  _realBFPDouble2HFPDouble(bits(-1e300), &ull);
  EXPECT_EQ(ull, 0xFFFFFFFFFFFFFFFFull);
  _realBFPDouble2HFPDouble(bits(1e-300), &ull);
  EXPECT_EQ(ull, 0u);
  _realBFPDouble2HFPDouble(bits(std::numeric_limits<double>::quiet_NaN()), &ull);
  EXPECT_EQ(ull, 0u);
}

class orealSerial : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(oresInitModule(), 0); }
  // Rewinds a resource and declares one more value, as a loaded resource would.
  static void expectAgain(ores *pres, int32_t iType)
  {
    pres->ulReadPos = 0;
    ostackPush(pres->pstackExpect, static_cast<uint32_t>(iType));
    ostackPush(pres->pstackExpect, 0);
  }
  static std::vector<unsigned char> data(const ores *pres)
  {
    return std::vector<unsigned char>(pres->pData, pres->pData + pres->ulDataLength);
  }
};

TEST_F(orealSerial, ModeOneStoresBigEndianAndReadsBack)
{
  ores *pres = oresCreate(ORES_TYPE_FLOAT + 5, 0, 0);
  ASSERT_EQ(oresPutFloat(pres, 1.0f), 0);
  EXPECT_EQ(data(pres), (std::vector<unsigned char>{0x3F, 0x80, 0, 0}));
  float f = 0;
  EXPECT_EQ(oresGetFloat(pres, &f), ORES_RC_UNEXPECTED);   // nothing is expected any more
  expectAgain(pres, ORES_TYPE_FLOAT + 5);
  ASSERT_EQ(oresGetFloat(pres, &f), 0);
  EXPECT_EQ(f, 1.0f);
  oresDestroy(pres);

  pres = oresCreate(ORES_TYPE_FLOAT + 9, 0, 0);
  ASSERT_EQ(oresPutDouble(pres, 1.0), 0);
  EXPECT_EQ(data(pres), (std::vector<unsigned char>{0x3F, 0xF0, 0, 0, 0, 0, 0, 0}));
  double d = 0;
  expectAgain(pres, ORES_TYPE_FLOAT + 9);
  ASSERT_EQ(oresGetDouble(pres, &d), 0);
  EXPECT_EQ(d, 1.0);
  oresDestroy(pres);
}

// One put and one get through a one-member resource: form, resource flags, value bits.
struct Case {
  uint32_t form, flags, in;
  std::vector<unsigned char> stored;
  uint32_t out;
};

TEST_F(orealSerial, FloatModesConvertInBothDirections)
{
  const Case cases[] = {
      {4, 0, bits(1.0f), {0x3F, 0x80, 0, 0}, bits(1.0f)},             // flags 0: mode 1
      {4, 0x00000, bits(2.5f), {0x40, 0x20, 0, 0}, bits(2.5f)},
      {4, 0x20000, 0x41100000, {0x3F, 0x80, 0, 0}, 0x3D000000},       // mode 2 from the flags:
      {6, 0, 0x41100000, {0x3F, 0x80, 0, 0}, 0x3D000000},             //   stored bits read as HFP
      {4, 0x30000, bits(1.0f), {0x41, 0x10, 0, 0}, 0x41900000},       // mode 3: IEEE 9.0 as HFP
      {4, 0x30000, bits(0.0f), {0, 0, 0, 0}, bits(0.0f)},
      {6, 0, 0x80000000, {0, 0, 0, 0}, 0},                            // HFP -0 reads as +0
  };
  for (const auto &c : cases) {
    ores *pres = oresCreate(static_cast<int32_t>(ORES_TYPE_FLOAT + c.form), 0, c.flags);
    ASSERT_NE(pres, nullptr);
    float in = fromBits(c.in);
    ASSERT_EQ(oresPut(pres, static_cast<int32_t>(ORES_TYPE_FLOAT + c.form), &in), 0);
    EXPECT_EQ(data(pres), c.stored) << "form " << c.form << " flags " << std::hex << c.flags;
    expectAgain(pres, static_cast<int32_t>(ORES_TYPE_FLOAT + c.form));
    float out = -1;
    int rc = 0;
    ASSERT_NE(oresGet(pres, static_cast<int32_t>(ORES_TYPE_FLOAT + c.form), &out, &rc), nullptr);
    EXPECT_EQ(bits(out), c.out) << "form " << c.form << " flags " << std::hex << c.flags;
    oresDestroy(pres);
  }
}

TEST_F(orealSerial, ModeThreeUndoesModeTwo)
{
  // 1.0 put in mode 3 is HFP 41 10 00 00; read back in mode 2 it is 1.0 again.
  ores *pres = oresCreate(ORES_TYPE_FLOAT + 4, 0, 0x30000);
  float f = 1.0f;
  ASSERT_EQ(oresPut(pres, ORES_TYPE_FLOAT + 4, &f), 0);
  EXPECT_EQ(data(pres), (std::vector<unsigned char>{0x41, 0x10, 0, 0}));
  expectAgain(pres, ORES_TYPE_FLOAT + 6);
  int rc = 0;
  f = 0;
  ASSERT_NE(oresGet(pres, ORES_TYPE_FLOAT + 6, &f, &rc), nullptr);
  EXPECT_EQ(f, 1.0f);
  // A normalised HFP value put in mode 2 comes back unchanged in mode 3.
  ores *pres2 = oresCreate(ORES_TYPE_FLOAT + 6, 0, 0x30000);
  f = fromBits(0xC1A00000);
  ASSERT_EQ(oresPut(pres2, ORES_TYPE_FLOAT + 6, &f), 0);
  expectAgain(pres2, ORES_TYPE_FLOAT + 4);
  ASSERT_NE(oresGet(pres2, ORES_TYPE_FLOAT + 4, &f, &rc), nullptr);
  EXPECT_EQ(bits(f), 0xC1A00000u);
  oresDestroy(pres);
  oresDestroy(pres2);
}

TEST_F(orealSerial, ModeTwoIsNotTakenForModeThree)
{
  // Flags carrying mode 2 keep it: an HFP 1.0 put is stored as IEEE 1.0.
  ores *pres = oresCreate(ORES_TYPE_FLOAT + 4, 0, 0x20000);
  ASSERT_NE(pres, nullptr);
  EXPECT_EQ(pres->ulFlags, 0x20352u);
  float in = fromBits(0x41100000);
  ASSERT_EQ(oresPut(pres, ORES_TYPE_FLOAT + 4, &in), 0);
  EXPECT_EQ(data(pres), (std::vector<unsigned char>{0x3F, 0x80, 0, 0}));
  oresDestroy(pres);
}

TEST_F(orealSerial, ModeZeroStoresZerosAndReadsZero)
{
  ores *pres = oresCreate(ORES_TYPE_FLOAT + 8, 0, 0);
  pres->ulFlags &= ~ORES_FLAG_FLOATMODE;   // mode 0 only through the flags
  double d = 42.0;
  ASSERT_EQ(oresPut(pres, ORES_TYPE_FLOAT + 8, &d), 0);
  EXPECT_EQ(data(pres), std::vector<unsigned char>(8, 0));
  pres->pData[0] = 0x40;                   // whatever is stored
  expectAgain(pres, ORES_TYPE_FLOAT + 8);
  int rc = 0;
  ASSERT_NE(oresGet(pres, ORES_TYPE_FLOAT + 8, &d, &rc), nullptr);
  EXPECT_EQ(d, 0.0);
  oresDestroy(pres);
}

TEST_F(orealSerial, ShortDataAndUnknownFormsFail)
{
  ores *pres = oresCreate(ORES_TYPE_FLOAT + 5, 0, 0);
  pres->ulDataLength = 3;
  expectAgain(pres, ORES_TYPE_FLOAT + 5);
  float f = 0;
  EXPECT_EQ(oresGetFloat(pres, &f), ORES_RC_EOD);
  EXPECT_EQ(pres->ulReadPos, 0u);
  oresDestroy(pres);
  for (uint32_t form : {7u, 11u, 0u}) {
    int rc = 0;
    ores res{};
    res.ulFlags = ORES_DEFAULT_FLAGS;
    EXPECT_EQ(_resFloatSerialProc(&res, static_cast<int32_t>(ORES_TYPE_FLOAT + form), &f, 1, &rc), nullptr);
    EXPECT_EQ(rc, ORES_RC_BADTYPE) << form;
  }
  int rc = 0;
  ores res{};
  EXPECT_EQ(_resFloatSerialProc(&res, ORES_TYPE_FLOAT + 5, nullptr, 1, &rc), nullptr);
  EXPECT_EQ(rc, ORES_RC_NOVALUE);
}

}  // namespace
