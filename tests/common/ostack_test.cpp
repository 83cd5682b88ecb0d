/*
** ostack_test.cpp
**   Word stack: push and pop order, popping an empty stack, growth of a full
**   stack, pushing a whole stack (also onto itself), re-initialising an
**   embedded header, a stack created without slots, and the dump text.
*/
#include "common/ostack.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

std::string dumpOf(ostack *ps)
{
  char *buf = nullptr;
  size_t len = 0;
  FILE *f = open_memstream(&buf, &len);
  ostackDump(ps, f);
  fclose(f);
  std::string s(buf, len);
  free(buf);
  return s;
}

/* Fails the test when the slot pointers disagree with the count and capacity. */
void expectConsistent(const ostack *ps)
{
  EXPECT_EQ(ps->pBase, ps->pArray);
  EXPECT_EQ(ps->pTop - ps->pBase, ps->iCount);
  EXPECT_EQ(ps->pEnd - ps->pBase, ps->iCapacity);
  EXPECT_LE(ps->pTop, ps->pEnd);
}

}  // namespace

TEST(ostack, PushPopAndEmptyPop)
{
  ostack *ps = ostackCreate(4);
  ASSERT_NE(ps, nullptr);
  EXPECT_EQ(ps->ulOwned, 0xACCEDEDu);
  EXPECT_EQ(ostackPop(ps), 0u);
  EXPECT_EQ(ostackGetCount(ps), 0);
  int object = 0;
  ostackPush(ps, reinterpret_cast<uintptr_t>(&object));
  ostackPush(ps, 7);
  EXPECT_EQ(ostackGetAt(ps, 0), reinterpret_cast<uintptr_t>(&object));
  EXPECT_EQ(ostackPop(ps), 7u);
  EXPECT_EQ(ostackPop(ps), reinterpret_cast<uintptr_t>(&object));
  EXPECT_EQ(ostackPop(ps), 0u);
  EXPECT_EQ(ostackGetCount(ps), 0);
  expectConsistent(ps);
  ostackDestroy(ps);
  ostackDestroy(nullptr);
}

TEST(ostack, FullStackDoubles)
{
  ostack *ps = ostackCreate(20);
  for (uintptr_t i = 1; i <= 21; i++) ostackPush(ps, i);
  EXPECT_EQ(ps->iCapacity, 40);
  EXPECT_EQ(ostackGetCount(ps), 21);
  expectConsistent(ps);
  for (int i = 0; i < 21; i++) EXPECT_EQ(ostackGetAt(ps, i), static_cast<uintptr_t>(i + 1));
  ostackDestroy(ps);
}

TEST(ostack, PushStackCopiesBottomFirst)
{
  ostack *ps = ostackCreate(2);
  ostack *po = ostackCreate(4);
  ostackPush(ps, 1);
  for (uintptr_t w : {10, 11, 12}) ostackPush(po, w);
  ostackPushStack(ps, po);  /* 1 + 3 > 2: grows to 2 * 2 + 3 */
  EXPECT_EQ(ps->iCapacity, 7);
  EXPECT_EQ(ostackGetCount(ps), 4);
  expectConsistent(ps);
  EXPECT_EQ(ostackGetAt(ps, 1), 10u);
  EXPECT_EQ(ostackGetAt(ps, 3), 12u);
  EXPECT_EQ(ostackGetCount(po), 3);  /* unchanged */
  ostackPushStack(ps, po);  /* fits: no growth */
  EXPECT_EQ(ps->iCapacity, 7);
  EXPECT_EQ(ostackPop(ps), 12u);
  ostackPushStack(ps, nullptr);
  ostackPushStack(nullptr, po);

  /* Onto itself: the words are doubled in order. */
  ostackPushStack(po, po);
  EXPECT_EQ(ostackGetCount(po), 6);
  expectConsistent(po);
  for (int i = 0; i < 6; i++) EXPECT_EQ(ostackGetAt(po, i), static_cast<uintptr_t>(10 + i % 3));
  ostackDestroy(ps);
  ostackDestroy(po);
}

TEST(ostack, EmbeddedHeaderAndNoSlots)
{
  struct Owner {
    int iOther;
    ostack stack;
  } owner = {};
  ostackInit(&owner.stack, 2);
  ostackPush(&owner.stack, 5);
  ostackInit(&owner.stack, 3);  /* releases the first array (ASan checks) */
  EXPECT_EQ(ostackGetCount(&owner.stack), 0);
  EXPECT_EQ(owner.stack.iCapacity, 3);
  expectConsistent(&owner.stack);
  for (uintptr_t i = 0; i < 4; i++) ostackPush(&owner.stack, i);
  EXPECT_EQ(owner.stack.iCapacity, 6);
  free(owner.stack.pArray);

  /* A stack of no slots still takes pushes. */
  ostack *ps = ostackCreate(0);
  ostackPush(ps, 9);
  ostackPush(ps, 8);
  EXPECT_EQ(ostackPop(ps), 8u);
  EXPECT_EQ(ostackPop(ps), 9u);
  expectConsistent(ps);
  ostackDestroy(ps);
}

TEST(ostack, DumpTwoWordsALine)
{
  ostack *ps = ostackCreate(4);
  for (uintptr_t w : {0x1u, 0xABCDEFu, 0x12345678u}) ostackPush(ps, w);
  char head[128];
  snprintf(head, sizeof head, "stack:%p, end:%p, pointer:%p\n", static_cast<void *>(ps->pArray),
           static_cast<void *>(ps->pEnd), static_cast<void *>(ps->pTop));
  EXPECT_EQ(dumpOf(ps), std::string(head) + "00000001 00ABCDEF\n12345678\n");
  ostackPop(ps);
  snprintf(head, sizeof head, "stack:%p, end:%p, pointer:%p\n", static_cast<void *>(ps->pArray),
           static_cast<void *>(ps->pEnd), static_cast<void *>(ps->pTop));
  EXPECT_EQ(dumpOf(ps), std::string(head) + "00000001 00ABCDEF\n");
  ostackDestroy(ps);
}
