// Byte-order helpers: the order itself, and the bounded readers' refusal to
// read past the end of a buffer.
#include "common/obyte.h"

#include <gtest/gtest.h>

TEST(Obyte, WritesEachOrderByteForByte)
{
  unsigned char b[8];
  obytePutLE32(b, 0x04030201);
  EXPECT_EQ(0, memcmp(b, "\x01\x02\x03\x04", 4));
  obytePutBE32(b, 0x04030201);
  EXPECT_EQ(0, memcmp(b, "\x04\x03\x02\x01", 4));
  obytePutLE16(b, 0xA1B2);
  EXPECT_EQ(0, memcmp(b, "\xB2\xA1", 2));
  obytePutBE64(b, 0x0102030405060708ULL);
  EXPECT_EQ(0, memcmp(b, "\x01\x02\x03\x04\x05\x06\x07\x08", 8));
  EXPECT_EQ(0x0807060504030201ULL, obyteGetLE64(b));
  EXPECT_EQ(0x0102030405060708ULL, obyteGetBE64(b));
  EXPECT_EQ(0x0102u, obyteGetBE16(b));
  EXPECT_EQ(0x0201u, obyteGetLE16(b));
}

TEST(Obyte, BoundedReadersStopAtTheEnd)
{
  const unsigned char b[5] = {1, 2, 3, 4, 5};
  uint32_t v = 7;
  EXPECT_TRUE(obyteReadLE32(b + 1, b + 5, &v));
  EXPECT_EQ(0x05040302u, v);
  v = 7;
  EXPECT_FALSE(obyteReadLE32(b + 2, b + 5, &v));
  EXPECT_EQ(7u, v);
  uint16_t s = 0;
  EXPECT_TRUE(obyteReadBE16(b + 3, b + 5, &s));
  EXPECT_EQ(0x0405u, s);
  EXPECT_FALSE(obyteReadBE16(b + 4, b + 5, &s));
  uint64_t l = 0;
  EXPECT_FALSE(obyteReadLE64(b, b + 5, &l));
  EXPECT_FALSE(obyteReadLE32(nullptr, b, &v));
}

// Every helper against a byte-by-byte reference, at every alignment within a
// word, with values whose bytes all differ and with the top bit set.
TEST(Obyte, EveryWidthAndOrderMatchesTheByteByByteReference)
{
  const uint64_t values[] = {0, 1, 0x8000000000000000ULL, 0x0102030405060708ULL,
                             0xF1E2D3C4B5A69788ULL, ~0ULL};
  for (uint64_t v : values) {
    for (int off = 0; off < 8; off++) {
      for (int width : {2, 4, 8}) {
        for (bool be : {false, true}) {
          SCOPED_TRACE(testing::Message() << "value " << std::hex << v << " offset " << off << " width "
                                          << width << (be ? " BE" : " LE"));
          uint64_t want = width == 8 ? v : v & ((1ULL << (8 * width)) - 1);
          unsigned char ref[16] = {}, got[16];
          for (int i = 0; i < width; i++) {
            int shift = 8 * (be ? width - 1 - i : i);
            ref[off + i] = static_cast<unsigned char>(want >> shift);
          }
          memset(got, 0, sizeof got);
          uint64_t back = 0;
          switch (width * (be ? -1 : 1)) {
          case 2: obytePutLE16(got + off, static_cast<uint16_t>(want)); back = obyteGetLE16(ref + off); break;
          case 4: obytePutLE32(got + off, static_cast<uint32_t>(want)); back = obyteGetLE32(ref + off); break;
          case 8: obytePutLE64(got + off, want); back = obyteGetLE64(ref + off); break;
          case -2: obytePutBE16(got + off, static_cast<uint16_t>(want)); back = obyteGetBE16(ref + off); break;
          case -4: obytePutBE32(got + off, static_cast<uint32_t>(want)); back = obyteGetBE32(ref + off); break;
          case -8: obytePutBE64(got + off, want); back = obyteGetBE64(ref + off); break;
          }
          EXPECT_EQ(0, memcmp(ref, got, sizeof ref));
          EXPECT_EQ(want, back);
        }
      }
    }
  }
}
