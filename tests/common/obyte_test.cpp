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
