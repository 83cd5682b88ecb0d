// Paged file windows: sizing, size limits, zero fill past the end, window
// recycling with write-back, memory images, and failed write-back.
#include <gtest/gtest.h>

#include "tests/zavtest.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "common/olds.h"

namespace {

TEST(olds, WindowGeometryFollowsPageMaskAndSizeLimit)
{
  zavtestTempDir dir;
  struct {
    uint32_t pageMask, sizeLimit;
    uint32_t windowSize, shift, limit;
  } cases[] = {
      {63, 0, 262144, 18, 0xFFFFFFFFu},
      {7, 0xFFFFFF, 32768, 15, 0xFFFFFF},
      {0, 0x1000000, 4096, 12, 0x1FFFFFF},
      {8, 5000, 65536, 16, 0x1FFF},
  };
  for (const auto &c : cases) {
    olds *plds = oldsOpen(dir.file("g").c_str(), OLDS_TYPE_FILE, 0, c.pageMask, c.sizeLimit);
    ASSERT_NE(plds, nullptr);
    EXPECT_EQ(plds->ulWindowSize, c.windowSize) << c.pageMask;
    EXPECT_EQ(plds->ulShift, c.shift) << c.pageMask;
    EXPECT_EQ(plds->ulSizeLimit, c.limit) << c.sizeLimit;
    EXPECT_EQ(plds->ulWindowLimit, 20u);
    EXPECT_EQ(oldsClose(plds), 0);
  }
}

TEST(olds, OpenCreatesAndMarksNewFilesAndRefusesBadTypes)
{
  zavtestTempDir dir;
  olds *plds = oldsOpen(dir.file("n").c_str(), OLDS_TYPE_FILE, 0, 63, 0);
  ASSERT_NE(plds, nullptr);
  EXPECT_EQ(plds->ulFlags & OLDS_CREATED, OLDS_CREATED);
  oldsClose(plds);
  plds = oldsOpen(dir.file("n").c_str(), OLDS_TYPE_FILE, 0, 63, 0);
  ASSERT_NE(plds, nullptr);
  EXPECT_EQ(plds->ulFlags & OLDS_CREATED, 0u);
  oldsClose(plds);
  EXPECT_EQ(oldsOpen(dir.file("x").c_str(), 1, 0, 63, 0), nullptr);
  EXPECT_EQ(oldsOpen(dir.file("x").c_str(), 6, 0, 63, 0), nullptr);
  EXPECT_EQ(oldsOpen((dir.path + "/missing/dir/f").c_str(), OLDS_TYPE_FILE, 0, 63, 0), nullptr);
}

TEST(olds, PositionsBeyondTheSixteenMegabyteLimitAreRefused)
{
  zavtestTempDir dir;
  unsigned char buf[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  olds *plds = oldsOpen(dir.file("small").c_str(), OLDS_TYPE_FILE, 0, 7, 0xFFFFFF);
  ASSERT_NE(plds, nullptr);
  EXPECT_EQ(oldsWrite(plds, 0x1000000, 8, buf), OLDS_RANGE);
  EXPECT_EQ(oldsRead(plds, 0x1000000, 8, buf), OLDS_RANGE);
  EXPECT_EQ(oldsWrite(plds, 0xFFFFF8, 8, buf), 0);
  EXPECT_EQ(oldsWrite(plds, 0xFFFFFC, 8, buf), OLDS_RANGE);   // straddles the limit
  EXPECT_EQ(oldsClose(plds), 0);

  plds = oldsOpen(dir.file("big").c_str(), OLDS_TYPE_FILE, 0, 7, 0);
  ASSERT_NE(plds, nullptr);
  EXPECT_EQ(oldsWrite(plds, 0x1000000, 8, buf), 0);
  unsigned char back[8] = {};
  EXPECT_EQ(oldsRead(plds, 0x1000000, 8, back), 0);
  EXPECT_EQ(std::memcmp(back, buf, 8), 0);
  EXPECT_EQ(oldsClose(plds), 0);
}

TEST(olds, BytesPastTheEndReadAsZerosAlsoInARecycledWindow)
{
  zavtestTempDir dir;
  std::string path = dir.file("short");
  int fd = open(path.c_str(), O_RDWR | O_CREAT, 0600);
  std::vector<unsigned char> text(5000, 'x');
  ASSERT_EQ(write(fd, text.data(), text.size()), 5000);
  close(fd);

  olds *plds = oldsOpen(path.c_str(), OLDS_TYPE_FILE, 1, 7, 0);   // one 32 KB window
  ASSERT_NE(plds, nullptr);
  unsigned char buf[100];
  ASSERT_EQ(oldsRead(plds, 4950, 100, buf), 0);
  for (int i = 0; i < 50; i++) EXPECT_EQ(buf[i], 'x');
  for (int i = 50; i < 100; i++) EXPECT_EQ(buf[i], 0) << i;

  std::vector<unsigned char> fill(32768, 0xAA);
  ASSERT_EQ(oldsWrite(plds, 0, 32768, fill.data()), 0);   // window 0 fully dirty
  std::vector<unsigned char> w1(32768, 0x55);
  ASSERT_EQ(oldsRead(plds, 32768, 32768, w1.data()), 0);  // recycles window 0
  for (size_t i = 0; i < w1.size(); i++) ASSERT_EQ(w1[i], 0) << i;
  ASSERT_EQ(oldsRead(plds, 100, 100, buf), 0);            // window 0 comes back from disk
  for (int i = 0; i < 100; i++) EXPECT_EQ(buf[i], 0xAA);
  EXPECT_EQ(oldsClose(plds), 0);
}

TEST(olds, OldestDirtyWindowIsWrittenBackBeforeReuse)
{
  zavtestTempDir dir;
  std::string path = dir.file("lru");
  olds *plds = oldsOpen(path.c_str(), OLDS_TYPE_FILE, 2, 7, 0);
  ASSERT_NE(plds, nullptr);
  const uint32_t W = 32768;
  for (unsigned char w = 0; w < 3; w++) {
    std::vector<unsigned char> data(100, static_cast<unsigned char>(0x10 + w));
    ASSERT_EQ(oldsWrite(plds, w * W + 10, 100, data.data()), 0);
  }
  // Window 0 was the oldest when window 2 came in: it is on disk already.
  std::vector<unsigned char> disk = zavtestReadFile(path);
  ASSERT_GE(disk.size(), W);
  EXPECT_EQ(disk[10], 0x10);
  EXPECT_EQ(disk[109], 0x10);
  // Every window reads back what was written, through further recycling.
  for (unsigned char w = 0; w < 3; w++) {
    unsigned char buf[100];
    ASSERT_EQ(oldsRead(plds, w * W + 10, 100, buf), 0);
    for (int i = 0; i < 100; i++) ASSERT_EQ(buf[i], 0x10 + w);
  }
  EXPECT_EQ(oldsClose(plds), 0);
  disk = zavtestReadFile(path);
  ASSERT_EQ(disk.size(), 3 * W);   // whole windows are written
  EXPECT_EQ(disk[2 * W + 10], 0x12);
  EXPECT_EQ(disk[W + 10], 0x11);
}

TEST(olds, FailedWriteBackIsReportedAndKeepsTheData)
{
  if (access("/dev/full", R_OK | W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  olds *plds = oldsOpen("/dev/full", OLDS_TYPE_FILE, 1, 0, 0);   // one 4 KB window
  ASSERT_NE(plds, nullptr);
  unsigned char data[16] = {9, 8, 7};
  ASSERT_EQ(oldsWrite(plds, 0, 16, data), 0);
  EXPECT_EQ(oldsFlush(plds), OLDS_IO);
  // Recycling the dirty window fails too; the window and its data stay.
  unsigned char buf[16];
  EXPECT_EQ(oldsRead(plds, 4096, 16, buf), OLDS_IO);
  ASSERT_EQ(oldsRead(plds, 0, 16, buf), 0);
  EXPECT_EQ(std::memcmp(buf, data, 16), 0);
  EXPECT_EQ(oldsClose(plds), OLDS_IO);
}

TEST(olds, MemoryImageGrowsOnWriteAndRefusesReadsPastItsEnd)
{
  olds *plds = oldsOpen(nullptr, OLDS_TYPE_MEMORY, 0, 63, 100);
  ASSERT_NE(plds, nullptr);
  unsigned char buf[300];
  EXPECT_EQ(oldsRead(plds, 90, 10, buf), 0);
  EXPECT_EQ(oldsRead(plds, 95, 10, buf), OLDS_RANGE);
  std::memset(buf, 0x77, sizeof buf);
  ASSERT_EQ(oldsWrite(plds, 120, 10, buf), 0);       // grows by half: 150
  EXPECT_EQ(plds->ulSizeLimit, 150u);
  ASSERT_EQ(oldsWrite(plds, 140, 300, buf), 0);      // beyond 1.5 times: exactly what is needed
  EXPECT_EQ(plds->ulSizeLimit, 440u);
  unsigned char back[10];
  ASSERT_EQ(oldsRead(plds, 100, 10, back), 0);
  for (int i = 0; i < 10; i++) EXPECT_EQ(back[i], 0);   // grown bytes are zero
  EXPECT_EQ(oldsFlush(plds), 0);
  unsigned char *pImage = static_cast<unsigned char *>(oldsDetachMemoryFile(plds));
  ASSERT_NE(pImage, nullptr);
  EXPECT_EQ(oldsClose(plds), 0);

  olds *pmem = oldsCreateFromMem(pImage, 440);
  ASSERT_NE(pmem, nullptr);
  ASSERT_EQ(oldsRead(pmem, 120, 10, back), 0);
  EXPECT_EQ(back[0], 0x77);
  EXPECT_EQ(oldsClose(pmem), 0);   // frees the image it owns

  zavtestTempDir dir;
  olds *pfile = oldsOpen(dir.file("f").c_str(), OLDS_TYPE_FILE, 0, 63, 0);
  EXPECT_EQ(oldsDetachMemoryFile(pfile), nullptr);
  oldsClose(pfile);
  EXPECT_EQ(oldsSetOpenParam("x"), 0);
  EXPECT_EQ(oldsResetOpenDefault(), 0);
}

}  // namespace
