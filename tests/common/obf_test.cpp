/*
** obf_test.cpp
**   Bit sets: bit order and growth on write, the bit count against the
**   storage, resizing, range access across words, set-all within the bit
**   count, inclusion and intersection, the word-wise operations, forward
**   search, base offsets and the dump texts (to a file and to a trace queue).
*/
#include "common/obf.h"

#include <gtest/gtest.h>

#include <sys/ipc.h>
#include <sys/msg.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/omsgs.h"

namespace {

obf *setOf(uint32_t bits, std::initializer_list<uint32_t> numbers)
{
  obf *p = obfCreate(bits);
  for (uint32_t n : numbers) obfSet(p, n);
  return p;
}

std::string dumpOf(const obf *p)
{
  char *buf = nullptr;
  size_t len = 0;
  FILE *f = open_memstream(&buf, &len);
  obfDump(p, f);
  fclose(f);
  std::string s(buf, len);
  free(buf);
  return s;
}

std::string fixedRange(const obf *p, uint32_t first, int width, uint32_t *result)
{
  char *buf = nullptr;
  size_t len = 0;
  FILE *f = open_memstream(&buf, &len);
  *result = obfDumpFixedRange(p, f, first, width);
  fclose(f);
  std::string s(buf, len);
  free(buf);
  return s;
}

}  // namespace

TEST(obf, CreateAndBitOrder)
{
  obf *p = obfCreate(255);
  EXPECT_EQ(p->ulWordCount, 8u);
  EXPECT_EQ(p->ulCapacity, 256u);
  EXPECT_EQ(p->ulKind, 0u);
  EXPECT_TRUE(obfIsEmpty(p));
  obfSet(p, 0);
  obfSet(p, 33);
  EXPECT_EQ(p->pulWords[0], 0x80000000u);  /* the first bit of a word is its most significant */
  EXPECT_EQ(p->pulWords[1], 0x40000000u);
  obfToggle(p, 33);
  obfPut(p, 31, 1);
  obfPut(p, 0, 0);
  EXPECT_EQ(p->pulWords[0], 0x00000001u);
  EXPECT_EQ(p->pulWords[1], 0u);
  EXPECT_EQ(obfGet(p, 31), 1);
  obfClear(p, 31);
  EXPECT_TRUE(obfIsEmpty(p));
  obfDestroy(p);

  EXPECT_EQ(ulTemplateMask[0], 0u);
  EXPECT_EQ(ulTemplateMask[5], 0x1Fu);
  EXPECT_EQ(ulTemplateMask[32], 0xFFFFFFFFu);
}

TEST(obf, WritesGrowStorageButNotTheBitCount)
{
  obf *p = obfCreate(255);
  obfSet(p, 255);
  EXPECT_EQ(obfGet(p, 255), 0);  /* beyond the bit count */
  obfResize(p, 256);
  EXPECT_EQ(obfGet(p, 255), 1);

  obf *one = obfCreate(32);
  obfSet(one, 32);
  EXPECT_EQ(one->ulWordCount, 2u);
  obfSet(one, 64);
  EXPECT_EQ(one->ulWordCount, 3u);
  EXPECT_EQ(one->ulCapacity, 96u);
  EXPECT_EQ(one->ulBitCount, 32u);
  EXPECT_EQ(obfGet(one, 64), 0);
  EXPECT_EQ(obfGet(one, 1000), 0);
  EXPECT_EQ(one->ulWordCount, 3u);  /* reading never grows */
  obfDestroy(one);

  /* A set without storage answers 0 and gets storage on its first write. */
  obf *d = obfCreateDefered(40);
  EXPECT_EQ(d->pulWords, nullptr);
  EXPECT_EQ(d->ulKind, 1u);
  EXPECT_EQ(obfGet(d, 3), 0);
  EXPECT_TRUE(obfIsEmpty(d));
  obfSet(d, 3);
  EXPECT_EQ(d->ulWordCount, 1u);
  EXPECT_EQ(obfGet(d, 3), 1);
  obfDestroy(d);
  obfDestroy(p);
}

TEST(obf, ResizeKeepsWrittenBitsAndClearsTheTail)
{
  /* A partition list: numbers set first, past the 255-bit default, then the set sized to the highest + 1. */
  obf *p = obfCreate(255);
  obfSet(p, 3);
  obfSet(p, 300);
  obfResize(p, 301);
  EXPECT_EQ(p->ulWordCount, 10u);
  EXPECT_EQ(obfGet(p, 3), 1);
  EXPECT_EQ(obfGet(p, 300), 1);
  obfDestroy(p);

  /* Grown from 40 to 100 bits: nothing appears in the new bits. */
  p = obfCreate(100);
  obfSetRange(p, 0, 100);
  obfResize(p, 40);
  EXPECT_EQ(p->ulWordCount, 2u);
  EXPECT_EQ(p->pulWords[1], 0xFF000000u);  /* bits 40 to 63 cleared */
  obfResize(p, 100);
  EXPECT_EQ(p->ulWordCount, 4u);
  for (uint32_t i = 40; i < 100; i++) ASSERT_EQ(obfGet(p, i), 0) << i;
  EXPECT_EQ(obfIsRangeSet(p, 0, 40), 1);

  obfResize(p, 0);
  EXPECT_EQ(p->ulWordCount, 0u);
  EXPECT_EQ(p->pulWords, nullptr);
  obfDestroy(p);
}

TEST(obf, RangesAcrossWords)
{
  struct Case {
    uint32_t first, n;
    std::vector<uint32_t> words;  /* after obfSetRange on a 96-bit set */
  } cases[] = {
      {0, 1, {0x80000000u, 0, 0}},
      {4, 8, {0x0FF00000u, 0, 0}},
      {0, 32, {0xFFFFFFFFu, 0, 0}},
      {30, 4, {0x00000003u, 0xC0000000u, 0}},
      {28, 40, {0x0000000Fu, 0xFFFFFFFFu, 0xF0000000u}},
      {32, 64, {0, 0xFFFFFFFFu, 0xFFFFFFFFu}},
  };
  for (const Case &c : cases) {
    obf *p = obfCreate(96);
    obfSetRange(p, c.first, c.n);
    EXPECT_EQ(std::vector<uint32_t>(p->pulWords, p->pulWords + 3), c.words) << c.first << "+" << c.n;
    EXPECT_EQ(obfIsRangeSet(p, c.first, c.n), 1);
    EXPECT_EQ(obfIsRangeClear(p, c.first, c.n), 0);
    obfToggleRange(p, c.first, c.n);
    EXPECT_TRUE(obfIsEmpty(p)) << c.first << "+" << c.n;
    obfSetRange(p, c.first, c.n);
    obfClearRange(p, c.first, c.n);
    EXPECT_TRUE(obfIsEmpty(p)) << c.first << "+" << c.n;
    obfDestroy(p);
  }

  obf *p = setOf(64, {30, 32});
  EXPECT_EQ(obfGetRange(p, 30, 4), 0xAu);  /* bits 30..33 = 1 0 1 0, bit 30 most significant */
  EXPECT_EQ(obfGetRange(p, 0, 32), 0x00000002u);
  EXPECT_EQ(obfIsRangeSet(p, 30, 3), 0);
  EXPECT_EQ(obfIsRangeClear(p, 33, 20), 1);
  obfPutRange(p, 60, 8, 0xA5);  /* grows to a third word */
  EXPECT_EQ(p->ulWordCount, 3u);
  EXPECT_EQ(obfGetRange(p, 60, 8), 0xA5u);
  EXPECT_EQ(p->pulWords[1] & 0xFu, 0xAu);
  EXPECT_EQ(p->pulWords[2], 0x50000000u);
  obfPutRange(p, 0, 32, 0x12345678u);
  EXPECT_EQ(p->pulWords[0], 0x12345678u);
  obfPutRange(p, 62, 4, 0);
  EXPECT_EQ(obfGetRange(p, 60, 8), 0x81u);
  /* Clearing does not grow: a range past the storage is cut at its end. */
  obfClearRange(p, 90, 100);
  EXPECT_EQ(p->ulWordCount, 3u);
  obfDestroy(p);
}

TEST(obf, SetAllStaysWithinTheBitCount)
{
  obf *all = obfCreate(255);
  obfSetAll(all);
  EXPECT_EQ(all->pulWords[7], 0xFFFFFFFEu);  /* bit 255 is not part of the set */
  EXPECT_EQ(obfIsRangeSet(all, 0, 255), 1);

  /* The same partitions made bit by bit compare equal both ways. */
  obf *listed = obfCreate(255);
  for (uint32_t i = 0; i < 255; i++) obfSet(listed, i);
  EXPECT_EQ(obfIsIncluded(all, listed), 1);
  EXPECT_EQ(obfIsIncluded(listed, all), 1);
  obfDestroy(listed);

  /* A set without storage gets it. */
  obf *d = obfCreateDefered(40);
  obfSetAll(d);
  EXPECT_EQ(d->ulWordCount, 2u);
  EXPECT_EQ(d->pulWords[1], 0xFF000000u);
  uint32_t index;
  EXPECT_EQ(obfFindForward(d, 0, 0, &index), 0);
  obfClearAll(d);
  EXPECT_TRUE(obfIsEmpty(d));
  obfDestroy(d);
  obfDestroy(all);
}

TEST(obf, InclusionAndIntersection)
{
  obf *a = setOf(10, {1, 3});
  obf *b = setOf(10, {1, 2, 3});
  obf *c = setOf(10, {4});
  obf *other = setOf(11, {1, 2, 3});
  EXPECT_EQ(obfIsIncluded(a, b), 1);
  EXPECT_EQ(obfIsIncluded(b, a), 0);
  EXPECT_EQ(obfIsIncluded(a, other), 0);  /* bit counts differ */
  EXPECT_EQ(obfIsIntersect(a, b), 1);
  EXPECT_EQ(obfIsIntersect(a, c), 0);
  EXPECT_EQ(obfIsIntersect(b, other), 0);

  /* b has less storage than a: it grows before the comparison. */
  obf *wide = obfCreateDefered(40);
  obfSet(wide, 35);
  obf *narrow = obfCreateDefered(40);
  EXPECT_EQ(obfIsIncluded(wide, narrow), 0);
  EXPECT_EQ(narrow->ulWordCount, 2u);
  obfSet(narrow, 35);
  EXPECT_EQ(obfIsIncluded(wide, narrow), 1);
  obfDestroy(wide);
  obfDestroy(narrow);
  obfDestroy(a);
  obfDestroy(b);
  obfDestroy(c);
  obfDestroy(other);
}

TEST(obf, WordOperations)
{
  obf *a = setOf(64, {0, 1, 40});
  obf *b = setOf(32, {1, 2});
  obfSet(b, 70);  /* b: three words, a: two */

  obf *r = obfAnd(a, b, nullptr);
  EXPECT_EQ(r->ulBitCount, 64u);
  EXPECT_EQ(r->ulWordCount, 2u);
  EXPECT_EQ(r->pulWords[0], 0x40000000u);
  EXPECT_EQ(r->pulWords[1], 0u);
  obfDestroy(r);

  r = obfOr(a, b, nullptr);
  EXPECT_EQ(r->ulWordCount, 3u);
  EXPECT_EQ(r->pulWords[0], 0xE0000000u);
  EXPECT_EQ(r->pulWords[1], 0x00800000u);
  EXPECT_EQ(r->pulWords[2], 0x02000000u);  /* copied from the longer operand */
  obfDestroy(r);

  r = obfNotImplie(a, b, nullptr);
  EXPECT_EQ(r->ulWordCount, 3u);
  EXPECT_EQ(r->pulWords[0], 0x80000000u);
  EXPECT_EQ(r->pulWords[1], 0x00800000u);
  EXPECT_EQ(r->pulWords[2], 0u);  /* only b has this word */
  obfDestroy(r);

  /* Into an operand: a grows to take b's third word. */
  EXPECT_EQ(obfOr(a, b, a), a);
  EXPECT_EQ(a->ulWordCount, 3u);
  EXPECT_EQ(a->pulWords[2], 0x02000000u);
  EXPECT_EQ(a->ulBitCount, 64u);

  /* A result passed in keeps its words beyond those written. */
  obf *given = obfCreate(128);
  given->pulWords[3] = 7;
  obfAnd(a, b, given);
  EXPECT_EQ(given->pulWords[0], 0x60000000u);
  EXPECT_EQ(given->pulWords[3], 7u);
  obfDestroy(given);

  obf *copy = obfCreate(10);
  obfCopy(a, copy);  /* grows to a's storage; keeps its own bit count */
  EXPECT_EQ(copy->ulWordCount, 3u);
  EXPECT_EQ(copy->ulBitCount, 10u);
  EXPECT_EQ(copy->pulWords[2], 0x02000000u);
  obf *small = setOf(1, {});
  obfCopy(small, copy);  /* smaller source: the rest is zeroed */
  EXPECT_TRUE(obfIsEmpty(copy));
  obfDestroy(small);
  obfDestroy(copy);
  obfDestroy(a);
  obfDestroy(b);
}

TEST(obf, CopyOverLargerTargetAndClone)
{
  obf *src = setOf(8, {2});
  obf *dst = setOf(64, {40});
  obfCopy(src, dst);
  EXPECT_EQ(obfGet(dst, 40), 0);
  EXPECT_EQ(obfGet(dst, 2), 1);
  obf *clone = obfClone(dst);
  EXPECT_NE(clone->pulWords, dst->pulWords);
  EXPECT_EQ(clone->ulWordCount, 2u);
  EXPECT_EQ(obfGet(clone, 2), 1);
  obfDestroy(clone);
  obfDestroy(src);
  obfDestroy(dst);
  EXPECT_EQ(obfClone(nullptr), nullptr);
}

TEST(obf, FindForward)
{
  obf *p = setOf(100, {70});
  struct Case {
    uint32_t from;
    int value;
    int found;
    uint32_t index;
  } cases[] = {
      {0, 1, 1, 70}, {70, 1, 1, 70}, {71, 1, 0, 0}, {70, 0, 1, 71}, {0, 0, 1, 0}, {100, 0, 0, 0}, {500, 1, 0, 0},
  };
  for (const Case &c : cases) {
    uint32_t index = 12345;
    EXPECT_EQ(obfFindForward(p, c.from, c.value, &index), c.found) << c.from << "/" << c.value;
    if (c.found) {
      EXPECT_EQ(index, c.index) << c.from << "/" << c.value;
    }
  }
  /* Zeros past the bit count, in the last partial word, are not found. */
  obfSetRange(p, 0, 100);
  uint32_t index;
  EXPECT_EQ(obfFindForward(p, 0, 0, &index), 0);
  obfClear(p, 99);
  ASSERT_EQ(obfFindForward(p, 0, 0, &index), 1);
  EXPECT_EQ(index, 99u);
  obfDestroy(p);
}

TEST(obf, BaseOffset)
{
  obf *p = obfCreateRange(5, 0, 0);
  EXPECT_EQ(p->ulKind, 2u);
  EXPECT_EQ(p->ulWordCount, 1u);
  obfSet(p, 5);
  EXPECT_EQ(p->pulWords[0], 0x80000000u);
  EXPECT_EQ(obfGet(p, 5), 1);
  EXPECT_EQ(obfGet(p, 4), 0);
  obfSet(p, 4);  /* below the base: not a bit of the set */
  EXPECT_EQ(p->pulWords[0], 0x80000000u);
  EXPECT_EQ(dumpOf(p), "(5)-1 \n");
  obf *copy = obfClone(p);
  EXPECT_EQ(copy->ulBase, 5u);
  EXPECT_EQ(copy->ulKind, 2u);
  obfDestroy(copy);
  obfDestroy(p);

  p = obfCreateRange(7, 99, 1);
  EXPECT_EQ(p->ulKind, 3u);
  EXPECT_EQ(p->pulWords, nullptr);
  obfSetRange(p, 7, 1);
  EXPECT_EQ(obfGet(p, 7), 1);
  obfDestroy(p);
}

TEST(obf, DumpTexts)
{
  obf *p = setOf(12, {0, 7});
  EXPECT_EQ(dumpOf(p), "1 00000 01000 0\n");

  /* Fixed-width columns: blanks take positions too. */
  struct Case {
    uint32_t first;
    int width;
    const char *text;
    uint32_t result;
  } cases[] = {
      {0, 4, "1 00", 2},
      {0, 2, "1 ", 0},
      {0, 1, "1", 0},
      {0, 0, "1", 0},  /* at least one bit */
      {6, 6, "01000 ", 10},
      {9, 8, "00 0    ", 12},  /* the set ends: blank-filled, base + bit count */
      {12, 3, "   ", 12},
  };
  for (const Case &c : cases) {
    uint32_t result;
    EXPECT_EQ(fixedRange(p, c.first, c.width, &result), c.text) << c.first << "/" << c.width;
    EXPECT_EQ(result, c.result) << c.first << "/" << c.width;
  }
  obfDestroy(p);
}

TEST(obf, PrintServicesSendsTheDumpAsOneTrace)
{
  /* Stand in for the message centre's queue with a private one. */
  int qid = msgget(IPC_PRIVATE, IPC_CREAT | 0600);
  if (qid < 0) GTEST_SKIP() << "no SysV message queue available";
  int saved = gmsgid;
  gmsgid = qid;
  obf *p = setOf(12, {0, 7});
  obfPrintServices(p, "$TESTD");
  gmsgid = saved;
  struct {
    long mtype;
    char text[8192];
  } record = {};
  ssize_t n = msgrcv(qid, &record, sizeof record.text, 0, IPC_NOWAIT | MSG_NOERROR);
  msgctl(qid, IPC_RMID, nullptr);
  obfDestroy(p);
  ASSERT_GT(n, 0);
  std::string body(record.text, static_cast<size_t>(n));
  EXPECT_NE(body.find("$TESTD"), std::string::npos);
  EXPECT_NE(body.find("1 00000 01000 0\n"), std::string::npos);
}
