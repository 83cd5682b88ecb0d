/*
** opool_test.cpp
**   Element pool: sizes and defaults, the free list of a new block, growth
**   when the list runs dry, last-in-first-out reuse, and freeing.
*/
#include "expr/opool.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

namespace {

/* Callers' protocol: pop the head, extend when empty; push back on the head. */
void *take(opool *p)
{
  void *e = p->pFree;
  if (e == nullptr) return _poolExtend(p);
  p->pFree = *static_cast<void **>(e);
  return e;
}

void give(opool *p, void *e)
{
  *static_cast<void **>(e) = p->pFree;
  p->pFree = e;
}

int freeCount(const opool *p)
{
  int n = 0;
  for (void *e = p->pFree; e != nullptr; e = *static_cast<void **>(e)) n++;
  return n;
}

TEST(Opool, SizesAndDefaults)
{
  struct Case {
    uint32_t size;
    int32_t initial, growth;
    uint32_t wantSize;
    int32_t wantInitial, wantGrowth;
  } cases[] = {
    {272, 0, 50, 272, 15, 50},     /* an evaluation result element: 4088 / 272 */
    {1, 0, 0, 8, 511, 511},        /* raised to hold the free-list link */
    {13, 3, 0, 16, 3, 3},          /* rounded to keep elements aligned */
    {5000, 0, 0, 5000, 1, 1},      /* larger than the default block: one element */
  };
  for (const Case &c : cases) {
    opool pool;
    ASSERT_EQ(opoolInit(&pool, c.size, c.initial, c.growth), 1);
    EXPECT_EQ(pool.uiElemSize, c.wantSize);
    EXPECT_EQ(pool.iInitial, c.wantInitial);
    EXPECT_EQ(pool.iCount, c.wantInitial);
    EXPECT_EQ(pool.iGrowth, c.wantGrowth);
    EXPECT_EQ(freeCount(&pool), c.wantInitial);
    opoolDelete(&pool);
    EXPECT_EQ(pool.pBlocks, nullptr);
    EXPECT_EQ(pool.pFree, nullptr);
  }
  opool pool;
  EXPECT_EQ(opoolInit(nullptr, 16, 4, 4), 0);
  EXPECT_EQ(opoolInit(&pool, 16, -1, 4), 0);
  EXPECT_EQ(opoolInit(&pool, 16, 4, -1), 0);
  EXPECT_EQ(pool.pBlocks, nullptr);
}

TEST(Opool, ElementsAreDistinctAlignedAndReusedLastInFirstOut)
{
  opool pool;
  ASSERT_EQ(opoolInit(&pool, 272, 3, 50), 1);
  std::vector<void *> taken;
  std::set<void *> seen;
  for (int i = 0; i < 3; i++) {
    void *e = take(&pool);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(e) % 8, 0u);
    memset(e, 0x5A, 272);  /* the whole element is the caller's */
    taken.push_back(e);
    seen.insert(e);
  }
  EXPECT_EQ(seen.size(), 3u);
  EXPECT_EQ(pool.pFree, nullptr);
  /* Consecutive elements of a block follow each other at the element size. */
  EXPECT_EQ(static_cast<char *>(taken[1]) - static_cast<char *>(taken[0]), 272);
  give(&pool, taken[1]);
  give(&pool, taken[2]);
  EXPECT_EQ(take(&pool), taken[2]);
  EXPECT_EQ(take(&pool), taken[1]);
  EXPECT_EQ(pool.pBlocks != nullptr, true);
  opoolDelete(&pool);
}

TEST(Opool, GrowsByTheGrowthCountWhenTheListRunsDry)
{
  opool pool;
  ASSERT_EQ(opoolInit(&pool, 24, 2, 3), 1);
  void *firstBlock = pool.pBlocks;
  std::set<void *> seen;
  for (int i = 0; i < 2; i++) seen.insert(take(&pool));
  void *e = take(&pool);  /* empty list: a new block of 3 */
  ASSERT_NE(e, nullptr);
  EXPECT_NE(pool.pBlocks, firstBlock);
  EXPECT_EQ(*static_cast<void **>(pool.pBlocks), firstBlock);  /* block list links back */
  EXPECT_EQ(freeCount(&pool), 2);
  seen.insert(e);
  for (int i = 0; i < 2; i++) seen.insert(take(&pool));
  EXPECT_EQ(seen.size(), 5u);
  EXPECT_EQ(pool.pFree, nullptr);
  /* Many rounds of growth; everything is freed by opoolDelete (checked by
  ** the address sanitizer's leak check). */
  for (int i = 0; i < 100; i++) ASSERT_NE(take(&pool), nullptr);
  opoolDelete(&pool);
  opoolDelete(&pool);  /* a deleted pool is empty */
}

TEST(Opool, ExtendKeepsElementsAlreadyFree)
{
  opool pool;
  ASSERT_EQ(opoolInit(&pool, 16, 2, 2), 1);
  void *a = take(&pool);
  EXPECT_EQ(freeCount(&pool), 1);
  void *e = _poolExtend(&pool);
  ASSERT_NE(e, nullptr);
  EXPECT_NE(e, a);
  EXPECT_EQ(freeCount(&pool), 2);  /* the new block's second element and the old free one */
  opoolDelete(&pool);
}

TEST(Opool, CreateExtentionChainsItsElements)
{
  opool pool;
  ASSERT_EQ(opoolInit(&pool, 32, 1, 1), 1);
  void *block = _poolCreateExtention(&pool, 4);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(_poolCreateExtention(&pool, 0), nullptr);
  /* Walk the chain from the first element, which follows the block link. */
  void *e = static_cast<char *>(block) + (static_cast<char *>(pool.pFree) - static_cast<char *>(pool.pBlocks));
  int n = 0;
  while (e != nullptr) {
    n++;
    e = *static_cast<void **>(e);
  }
  EXPECT_EQ(n, 4);
  free(block);
  opoolDelete(&pool);
}

}  // namespace
