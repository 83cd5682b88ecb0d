/*
** odict_test.cpp
**   Hash dictionary: sizing and thresholds, the key hash (seen through the
**   bucket a key lands in), growth, iteration order, removal by NULL, the
**   value-destroy callback and the cursor.
*/
#include "common/odict.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <utility>
#include <vector>

namespace {

struct DictDeleter {
  void operator()(odict *p) const { odictDestroy(p); }
};
using DictPtr = std::unique_ptr<odict, DictDeleter>;

void *V(uintptr_t ul) { return reinterpret_cast<void *>(ul); }

std::vector<uintptr_t> KeysInOrder(odict *pdict)
{
  std::vector<uintptr_t> keys;
  odictcursor cursor;
  odictCursorInit(&cursor, pdict);
  for (odictentry *p = cursor.pentry; p != nullptr; p = odictCursorNext(&cursor))
    keys.push_back(odictCursorGetKey(&cursor));
  odictCursorDestroy(&cursor);
  return keys;
}

TEST(OdictTest, SizeHintAndLoadFactorGiveMaskAndThreshold)
{
  struct Case {
    uint32_t ulHint, ulLoad, ulMask, ulThreshold;
  } cases[] = {
      {0, 0, 255, 205},     /* defaults: 256 buckets, 80 % */
      {1, 80, 1, 1},
      {3, 80, 3, 3},
      {40, 80, 63, 51},
      {40, 0, 63, 51},      /* load 0 means 80 */
      {40, 50, 63, 32},
      {63, 80, 63, 51},
      {64, 80, 127, 102},   /* a power of two goes to the next one */
      {250, 80, 255, 205},
      {256, 100, 511, 512},
      {520, 80, 1023, 819},
  };
  for (const Case &c : cases) {
    DictPtr pdict(odictCreate(c.ulHint, c.ulLoad));
    ASSERT_NE(pdict, nullptr);
    EXPECT_EQ(odictGetSize(pdict.get()), c.ulMask) << "hint " << c.ulHint;
    EXPECT_EQ(odictGetLoadFactor(pdict.get()), c.ulThreshold) << "hint " << c.ulHint;
    EXPECT_EQ(odictGetCount(pdict.get()), 0u);
    EXPECT_EQ(odictIsAutoResize(pdict.get()), 1);
    EXPECT_EQ(pdict->procDestroy, nullptr);
  }
}

TEST(OdictTest, KeyHashPicksTheBucket)
{
  /* Buckets of a 2^20-bucket table.  Bytes are hashed as signed values; an
  ** unsigned hash differs from it by a multiple of 256, so a table of 256
  ** buckets or fewer could not tell them apart. */
  struct Case {
    uintptr_t ulKey;
    uint32_t ulBucket;
  } cases[] = {
      {0x0, 0x00000},        {0x1, 0x5B8F1},      {0x2, 0xB71E2},
      {0x80, 0x38780},       {0xFF, 0xA470F},     {0x8000, 0xEEE80},
      {0x800000, 0x55380},   {0x01B50352, 0xCDA63}, {0x80040001, 0x620D5},
      {0xFFFFFFFF, 0x6D7B8}, {0x12345678, 0xAEC34},
  };
  for (const Case &c : cases) {
    DictPtr pone(odictCreate(0xFFFFF, 0));
    ASSERT_EQ(odictGetSize(pone.get()), 0xFFFFFu);
    ASSERT_EQ(odictStore(pone.get(), c.ulKey, V(1)), 0);
    odictcursor cursor;
    odictCursorInit(&cursor, pone.get());
    EXPECT_EQ(cursor.ulBucket, c.ulBucket) << std::hex << "key 0x" << c.ulKey;
    EXPECT_EQ(odictCursorGetKey(&cursor), c.ulKey);
    /* The low byte of the bucket is the bucket in a table of 256. */
    DictPtr psmall(odictCreate(0, 0));
    odictStore(psmall.get(), c.ulKey, V(1));
    odictCursorInit(&cursor, psmall.get());
    EXPECT_EQ(cursor.ulBucket, c.ulBucket & 0xFF) << std::hex << "key 0x" << c.ulKey;
  }
}

TEST(OdictTest, WideKeysHashOnTheirLowWordButStayDistinct)
{
  if (sizeof(uintptr_t) < 8)
    GTEST_SKIP() << "pointer-wide keys are 32 bits here";
  DictPtr pdict(odictCreate(0, 0));
  uintptr_t ulHigh = (uintptr_t{1} << 32) | 1;
  odictStore(pdict.get(), 1, V(10));
  odictStore(pdict.get(), ulHigh, V(20));
  EXPECT_EQ(odictGetCount(pdict.get()), 2u);
  EXPECT_EQ(odictLoad(pdict.get(), 1), V(10));
  EXPECT_EQ(odictLoad(pdict.get(), ulHigh), V(20));
  odictcursor cursor;
  odictCursorInit(&cursor, pdict.get());
  EXPECT_EQ(cursor.ulBucket, 0xF1u);             /* both in the bucket of key 1 */
  EXPECT_EQ(odictCursorGetKey(&cursor), ulHigh); /* the later one at the head */
  odictCursorNext(&cursor);
  EXPECT_EQ(cursor.ulBucket, 0xF1u);
  EXPECT_EQ(odictCursorGetKey(&cursor), 1u);
}

TEST(OdictTest, GrowsPastTheThresholdAndKeepsEveryEntry)
{
  DictPtr pdict(odictCreate(40, 80));
  uintptr_t ul = 1;
  for (; ul <= 51; ul++)
    odictStore(pdict.get(), ul * 7919, V(ul));
  EXPECT_EQ(odictGetSize(pdict.get()), 63u);
  EXPECT_EQ(odictGetLoadFactor(pdict.get()), 51u);
  /* Replacing and "removing" existing keys does not count. */
  odictStore(pdict.get(), 7919, V(100));
  odictStore(pdict.get(), 2 * 7919, nullptr);
  EXPECT_EQ(odictGetSize(pdict.get()), 63u);

  odictStore(pdict.get(), ul++ * 7919, V(52));
  EXPECT_EQ(odictGetSize(pdict.get()), 127u);
  EXPECT_EQ(odictGetLoadFactor(pdict.get()), 102u);
  for (; ul <= 102; ul++)
    odictStore(pdict.get(), ul * 7919, V(ul));
  EXPECT_EQ(odictGetSize(pdict.get()), 127u);
  odictStore(pdict.get(), ul * 7919, V(ul));
  EXPECT_EQ(odictGetSize(pdict.get()), 255u);
  EXPECT_EQ(odictGetLoadFactor(pdict.get()), 204u);
  EXPECT_EQ(odictGetCount(pdict.get()), 103u);

  EXPECT_EQ(odictLoad(pdict.get(), 7919), V(100));
  EXPECT_EQ(odictLoad(pdict.get(), 2 * 7919), nullptr);
  for (uintptr_t u = 3; u <= 103; u++)
    EXPECT_EQ(odictLoad(pdict.get(), u * 7919), V(u)) << u;
  EXPECT_EQ(odictLoad(pdict.get(), 104 * 7919), nullptr);
}

TEST(OdictTest, IterationFollowsBucketsAndChainHeads)
{
  /* 4 buckets, threshold 3.  0x10 and 0x80 share bucket 0 at every size here;
  ** 0x100 and 0x500 share bucket 3 of 4 and part at 8 buckets (3 and 7). */
  DictPtr pdict(odictCreate(3, 80));
  for (uintptr_t ul : {0x10, 0x80, 0x100})
    odictStore(pdict.get(), ul, V(ul));
  EXPECT_EQ(KeysInOrder(pdict.get()), (std::vector<uintptr_t>{0x80, 0x10, 0x100}));

  /* The fourth key passes the threshold: during growth each old chain is
  ** walked from its head and pushed onto the new heads, so 0x10 and 0x80
  ** swap. */
  odictStore(pdict.get(), 0x500, V(0x500));
  EXPECT_EQ(odictGetSize(pdict.get()), 7u);
  EXPECT_EQ(odictGetLoadFactor(pdict.get()), 6u);
  EXPECT_EQ(KeysInOrder(pdict.get()), (std::vector<uintptr_t>{0x10, 0x80, 0x100, 0x500}));

  std::vector<std::pair<uintptr_t, void *>> seen;
  odictForEach(
      pdict.get(),
      [](uintptr_t ulKey, void *pValue, void *pArg) {
        static_cast<std::vector<std::pair<uintptr_t, void *>> *>(pArg)->emplace_back(ulKey, pValue);
      },
      &seen);
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[0], std::make_pair(uintptr_t{0x10}, V(0x10)));
  EXPECT_EQ(seen[3], std::make_pair(uintptr_t{0x500}, V(0x500)));
}

TEST(OdictTest, CursorOnEmptyTableIsPastTheEnd)
{
  DictPtr pdict(odictCreate(3, 80));
  odictcursor cursor;
  odictCursorInit(&cursor, pdict.get());
  EXPECT_EQ(cursor.pentry, nullptr);
  EXPECT_EQ(odictCursorGetKey(&cursor), 0u);
  EXPECT_EQ(odictCursorGetValue(&cursor), nullptr);
  EXPECT_EQ(odictCursorNext(&cursor), nullptr);
  EXPECT_EQ(odictCursorNext(&cursor), nullptr);

  /* A single entry in the last bucket: one step reaches it, the next ends. */
  odictStore(pdict.get(), 0x100, V(7));
  odictCursorInit(&cursor, pdict.get());
  EXPECT_EQ(cursor.ulBucket, 3u);
  EXPECT_EQ(odictCursorGetValue(&cursor), V(7));
  EXPECT_EQ(odictCursorNext(&cursor), nullptr);
  EXPECT_EQ(odictCursorGetValue(&cursor), nullptr);
  odictCursorDestroy(&cursor);
  EXPECT_EQ(cursor.pdict, nullptr);
  EXPECT_EQ(cursor.pentry, nullptr);
}

std::multiset<uintptr_t> *gpDestroyed = nullptr;

void RecordDestroy(void *pValue)
{
  gpDestroyed->insert(reinterpret_cast<uintptr_t>(pValue));
}

TEST(OdictTest, RemovalByNullAndDestroyCallback)
{
  std::multiset<uintptr_t> destroyed;
  gpDestroyed = &destroyed;
  odict *pdict = odictCreate(3, 80);
  pdict->procDestroy = RecordDestroy;
  odictSetAutoResize(pdict, 0);
  /* Keys 0x100 and 0x500 sit in the last bucket (3). */
  odictStore(pdict, 0x10, V(1));
  odictStore(pdict, 0x100, V(2));
  odictStore(pdict, 0x500, V(3));
  odictStore(pdict, 0x200, V(4));
  odictStore(pdict, 0x300, V(5));

  /* Removal: the entry and the count stay, the value is gone. */
  odictStore(pdict, 0x200, nullptr);
  EXPECT_EQ(odictLoad(pdict, 0x200), nullptr);
  EXPECT_EQ(odictGetCount(pdict), 5u);
  /* Replacement does not destroy the old value. */
  odictStore(pdict, 0x300, V(6));
  EXPECT_EQ(odictLoad(pdict, 0x300), V(6));
  EXPECT_TRUE(destroyed.empty());
  EXPECT_EQ(odictGetSize(pdict), 3u);   /* auto-resize off: no growth at 5 */

  odictDestroy(pdict);
  EXPECT_EQ(destroyed, (std::multiset<uintptr_t>{1, 2, 3, 6}));
  gpDestroyed = nullptr;
}

TEST(OdictTest, SetSizeNeverShrinksAndAutoResizeCatchesUp)
{
  DictPtr pdict(odictCreate(40, 80));
  odictSetSize(pdict.get(), 0);
  odictSetSize(pdict.get(), 63);
  EXPECT_EQ(odictGetSize(pdict.get()), 63u);
  odictSetSize(pdict.get(), 200);
  EXPECT_EQ(odictGetSize(pdict.get()), 255u);
  EXPECT_EQ(odictGetLoadFactor(pdict.get()), 204u);

  /* With growth off, 120 entries pile up at 64 buckets (threshold 51);
  ** switching it on grows with hint (120 / 51) * 63 = 126: 128 buckets. */
  DictPtr pdict2(odictCreate(40, 80));
  odictSetAutoResize(pdict2.get(), 0);
  EXPECT_EQ(odictIsAutoResize(pdict2.get()), 0);
  for (uintptr_t ul = 1; ul <= 120; ul++)
    odictStore(pdict2.get(), ul, V(ul));
  EXPECT_EQ(odictGetSize(pdict2.get()), 63u);
  odictSetAutoResize(pdict2.get(), 1);
  EXPECT_EQ(odictIsAutoResize(pdict2.get()), 1);
  EXPECT_EQ(odictGetSize(pdict2.get()), 127u);
  EXPECT_EQ(odictGetLoadFactor(pdict2.get()), 102u);
  for (uintptr_t ul = 1; ul <= 120; ul++)
    ASSERT_EQ(odictLoad(pdict2.get(), ul), V(ul));
  /* Switching on again while on changes nothing. */
  odictSetAutoResize(pdict2.get(), 1);
  EXPECT_EQ(odictGetSize(pdict2.get()), 127u);
}

} // namespace
