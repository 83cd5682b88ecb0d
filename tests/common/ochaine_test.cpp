/*
** ochaine_test.cpp
**   Doubly linked chain: ordered insert and merge order, sort, concatenation,
**   iterator moves, insertion and removal, clone and destroy through the
**   owner's callbacks (checked by ASan for leaks and double frees), detach
**   and attach, and the dump texts.
*/
#include "common/ochaine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Item {
  ochaineItem link;
  int iKey;
  int iTag;
};

Item *newItem(int key, int tag = 0)
{
  Item *p = static_cast<Item *>(calloc(1, sizeof(Item)));
  p->iKey = key;
  p->iTag = tag;
  return p;
}

int compareKey(const void *a, const void *b)
{
  const Item *pa = *static_cast<Item *const *>(a);
  const Item *pb = *static_cast<Item *const *>(b);
  return pa->iKey - pb->iKey;
}

ochaine *chainOf(std::initializer_list<int> keys, int tagBase = 0)
{
  ochaine *pc = ochaineCreate(sizeof(Item), nullptr, nullptr);
  int tag = tagBase;
  for (int k : keys) ochaineAppend(pc, newItem(k, tag++));
  return pc;
}

/* Keys from the top; fails the test when a link, the bottom or the count is wrong. */
std::vector<int> keysOf(const ochaine *pc)
{
  std::vector<int> keys;
  const Item *prev = nullptr;
  for (const Item *p = static_cast<const Item *>(pc->pitemTop); p; p = static_cast<const Item *>(p->link.pitemNext)) {
    EXPECT_EQ(p->link.pitemPrev, prev) << "previous link of key " << p->iKey;
    keys.push_back(p->iKey);
    prev = p;
  }
  EXPECT_EQ(pc->pitemBottom, prev);
  EXPECT_EQ(pc->iItemCount, static_cast<int>(keys.size()));
  return keys;
}

std::vector<int> tagsOf(const ochaine *pc)
{
  std::vector<int> tags;
  for (const Item *p = static_cast<const Item *>(pc->pitemTop); p; p = static_cast<const Item *>(p->link.pitemNext))
    tags.push_back(p->iTag);
  return tags;
}

std::string capture(void (*fill)(FILE *, void *), void *arg)
{
  char *buf = nullptr;
  size_t len = 0;
  FILE *f = open_memstream(&buf, &len);
  fill(f, arg);
  fclose(f);
  std::string s(buf, len);
  free(buf);
  return s;
}

template <typename... A> std::string fmt(const char *format, A... args)
{
  char buf[256];
  snprintf(buf, sizeof buf, format, args...);
  return buf;
}

}  // namespace

TEST(ochaine, InsertSortedPlacesEqualsByDirection)
{
  struct Case {
    int direction;
    std::vector<int> tags;  /* the new item has tag 9 */
  } cases[] = {
      {1, {0, 9, 1, 2, 3}},  /* before its equals */
      {0, {0, 1, 2, 9, 3}},  /* after its equals */
      {2, {0, 1, 2, 9, 3}},
  };
  for (const Case &c : cases) {
    ochaine *pc = chainOf({1, 5, 5, 7});
    ochaineInsertSorted(pc, newItem(5, 9), compareKey, c.direction);
    EXPECT_EQ(keysOf(pc), (std::vector<int>{1, 5, 5, 5, 7})) << "direction " << c.direction;
    EXPECT_EQ(tagsOf(pc), c.tags) << "direction " << c.direction;
    ochaineDestroy(pc);
  }
  /* Extremes and the empty chain, both directions. */
  for (int direction : {0, 1}) {
    ochaine *pc = chainOf({});
    for (int k : {4, 9, 1, 6}) ochaineInsertSorted(pc, newItem(k), compareKey, direction);
    EXPECT_EQ(keysOf(pc), (std::vector<int>{1, 4, 6, 9}));
    ochaineDestroy(pc);
  }
}

TEST(ochaine, SortRebuildsLinks)
{
  ochaine *pc = chainOf({});
  EXPECT_EQ(ochaineSort(pc, compareKey), 0);
  EXPECT_EQ(pc->pitemTop, nullptr);
  ochaineDestroy(pc);

  pc = chainOf({3});
  Item *only = static_cast<Item *>(pc->pitemTop);
  EXPECT_EQ(ochaineSort(pc, compareKey), 0);
  EXPECT_EQ(only->link.pitemNext, nullptr);
  EXPECT_EQ(only->link.pitemPrev, nullptr);
  EXPECT_EQ(pc->pitemBottom, only);
  ochaineDestroy(pc);

  pc = chainOf({8, 2, 9, 1, 5});
  EXPECT_EQ(ochaineSort(pc, compareKey), 0);
  EXPECT_EQ(keysOf(pc), (std::vector<int>{1, 2, 5, 8, 9}));
  ochaineDestroy(pc);
}

TEST(ochaine, MergeSortInterleavesAndTakesSecondOnEqual)
{
  ochaine *pr = ochaineMergeSort(chainOf({1, 3}), chainOf({2, 4}), compareKey);
  EXPECT_EQ(keysOf(pr), (std::vector<int>{1, 2, 3, 4}));
  ochaineDestroy(pr);

  /* The first chain runs out: the bottom comes from the second. */
  pr = ochaineMergeSort(chainOf({1, 2}), chainOf({3, 4, 5}), compareKey);
  EXPECT_EQ(keysOf(pr), (std::vector<int>{1, 2, 3, 4, 5}));
  ochaineDestroy(pr);

  pr = ochaineMergeSort(chainOf({5, 5}, 0), chainOf({5}, 10), compareKey);
  EXPECT_EQ(tagsOf(pr), (std::vector<int>{10, 0, 1}));
  ochaineDestroy(pr);

  /* An empty side: the other chain is the result and the empty header is freed (ASan checks). */
  ochaine *second = chainOf({7});
  EXPECT_EQ(ochaineMergeSort(chainOf({}), second, compareKey), second);
  ochaine *first = chainOf({6});
  EXPECT_EQ(ochaineMergeSort(first, chainOf({}), compareKey), first);
  ochaineDestroy(second);
  ochaineDestroy(first);
}

TEST(ochaine, MergeConcatenatesAndFreesOther)
{
  ochaine *pc = ochaineMerge(chainOf({1, 2}), chainOf({3}));
  EXPECT_EQ(keysOf(pc), (std::vector<int>{1, 2, 3}));
  ochaineDestroy(pc);

  ochaine *empty = chainOf({});
  pc = ochaineMerge(empty, chainOf({4, 5}));
  EXPECT_EQ(pc, empty);
  EXPECT_EQ(keysOf(pc), (std::vector<int>{4, 5}));
  pc = ochaineMerge(pc, chainOf({}));
  EXPECT_EQ(keysOf(pc), (std::vector<int>{4, 5}));
  ochaineDestroy(pc);
}

TEST(ochaine, AppendPrependRemoveKeepEnds)
{
  ochaine *pc = chainOf({2, 3});
  Item *one = newItem(1);
  ochainePrepend(pc, one);
  EXPECT_EQ(keysOf(pc), (std::vector<int>{1, 2, 3}));

  Item *top = static_cast<Item *>(ochaineRemoveItem(pc, pc->pitemTop));
  Item *bottom = static_cast<Item *>(ochaineRemoveItem(pc, pc->pitemBottom));
  EXPECT_EQ(top->iKey, 1);
  EXPECT_EQ(bottom->iKey, 3);
  EXPECT_EQ(bottom->link.pitemPrev, nullptr);
  EXPECT_EQ(keysOf(pc), (std::vector<int>{2}));
  Item *last = static_cast<Item *>(ochaineRemoveItem(pc, pc->pitemTop));
  EXPECT_EQ(keysOf(pc), std::vector<int>{});
  EXPECT_EQ(ochaineRemoveItem(pc, nullptr), nullptr);
  ochaineDestroyItem(pc, top);
  ochaineDestroyItem(pc, bottom);
  ochaineDestroyItem(pc, last);

  /* A header that lost its bottom still appends at the end. */
  ochainePrepend(pc, newItem(8));
  ochaineAppend(pc, newItem(9));
  pc->pitemBottom = nullptr;
  ochaineAppend(pc, newItem(10));
  EXPECT_EQ(keysOf(pc), (std::vector<int>{8, 9, 10}));
  ochaineDestroy(pc);
}

TEST(ochaine, IteratorWalksBothWays)
{
  ochaine *pc = chainOf({1, 2, 3});
  ochaineIterator it;
  ochaineIteratorInit(&it, pc, 1);
  EXPECT_EQ(it.ulState, 0xacceded0u);
  EXPECT_EQ(ochaineIteratorGetItem(&it), nullptr);
  std::vector<int> seen;
  while (ochaineIteratorNext(&it)) seen.push_back(static_cast<Item *>(ochaineIteratorGetItem(&it))->iKey);
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(static_cast<Item *>(ochaineIteratorGetItem(&it))->iKey, 3);  /* stays on the last */
  while (ochaineIteratorPrev(&it)) seen.push_back(static_cast<Item *>(ochaineIteratorGetItem(&it))->iKey);
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 2, 1}));
  ochaineIteratorDestroy(&it);
  EXPECT_EQ(it.ulState, 0u);

  ochaineIteratorInit(&it, pc, 0);
  seen.clear();
  while (ochaineIteratorPrev(&it)) seen.push_back(static_cast<Item *>(ochaineIteratorGetItem(&it))->iKey);
  EXPECT_EQ(seen, (std::vector<int>{3, 2, 1}));

  ochaineIteratorInitFromItem(&it, pc, static_cast<Item *>(pc->pitemTop)->link.pitemNext);
  EXPECT_EQ(static_cast<Item *>(ochaineIteratorGetItem(&it))->iKey, 2);
  ASSERT_TRUE(ochaineIteratorNext(&it));
  EXPECT_EQ(static_cast<Item *>(ochaineIteratorGetItem(&it))->iKey, 3);
  ochaineIteratorInitFromItem(&it, pc, nullptr);
  ASSERT_TRUE(ochaineIteratorNext(&it));
  EXPECT_EQ(static_cast<Item *>(ochaineIteratorGetItem(&it))->iKey, 1);
  ochaineDestroy(pc);
}

TEST(ochaine, IteratorInsertAfterLastBecomesBottom)
{
  ochaine *pc = chainOf({1, 2});
  ochaineIterator it;
  ochaineIteratorInit(&it, pc, 1);
  while (ochaineIteratorNext(&it)) {
  }
  ochaineIteratorInsertAfter(&it, newItem(3));
  EXPECT_EQ(static_cast<Item *>(pc->pitemBottom)->iKey, 3);
  ASSERT_TRUE(ochaineIteratorNext(&it));  /* the new item is visited next */
  EXPECT_EQ(static_cast<Item *>(ochaineIteratorGetItem(&it))->iKey, 3);
  ochaineAppend(pc, newItem(4));
  EXPECT_EQ(keysOf(pc), (std::vector<int>{1, 2, 3, 4}));

  /* Before the first item: a new top, visited next. */
  ochaineIteratorInit(&it, pc, 1);
  ochaineIteratorInsertAfter(&it, newItem(0));
  ASSERT_TRUE(ochaineIteratorNext(&it));
  EXPECT_EQ(static_cast<Item *>(ochaineIteratorGetItem(&it))->iKey, 0);
  EXPECT_EQ(keysOf(pc), (std::vector<int>{0, 1, 2, 3, 4}));
  ochaineDestroy(pc);

  /* On an empty chain: the only item, and current. */
  pc = chainOf({});
  ochaineIteratorInit(&it, pc, 1);
  ochaineIteratorInsertAfter(&it, newItem(5));
  EXPECT_EQ(static_cast<Item *>(ochaineIteratorGetItem(&it))->iKey, 5);
  EXPECT_EQ(keysOf(pc), (std::vector<int>{5}));
  ochaineDestroy(pc);
}

TEST(ochaine, IteratorInsertBefore)
{
  ochaine *pc = chainOf({2, 4});
  ochaineIterator it;
  ochaineIteratorInit(&it, pc, 1);
  ochaineIteratorNext(&it);
  ochaineIteratorInsertBefore(&it, newItem(1));  /* new top; current stays 2 */
  EXPECT_EQ(static_cast<Item *>(ochaineIteratorGetItem(&it))->iKey, 2);
  ochaineIteratorNext(&it);
  ochaineIteratorInsertBefore(&it, newItem(3));
  ASSERT_TRUE(ochaineIteratorPrev(&it));
  EXPECT_EQ(static_cast<Item *>(ochaineIteratorGetItem(&it))->iKey, 3);
  EXPECT_EQ(keysOf(pc), (std::vector<int>{1, 2, 3, 4}));

  /* No current item at the end: the new item is the bottom and current. */
  ochaineIteratorInit(&it, pc, 0);
  ochaineIteratorInsertBefore(&it, newItem(5));
  EXPECT_EQ(static_cast<Item *>(ochaineIteratorGetItem(&it))->iKey, 5);
  EXPECT_EQ(keysOf(pc), (std::vector<int>{1, 2, 3, 4, 5}));
  ochaineDestroy(pc);
}

TEST(ochaine, IteratorRemoveMakesNextCurrent)
{
  ochaine *pc = chainOf({1, 2, 3, 4});
  ochaineIterator it;
  ochaineIteratorInit(&it, pc, 1);
  EXPECT_EQ(ochaineIteratorRemoveItem(&it), nullptr);  /* no current item yet */
  ochaineIteratorNext(&it);
  ochaineIteratorNext(&it);
  Item *removed = static_cast<Item *>(ochaineIteratorRemoveItem(&it));
  EXPECT_EQ(removed->iKey, 2);
  EXPECT_EQ(removed->link.pitemNext, nullptr);
  EXPECT_EQ(removed->link.pitemPrev, nullptr);
  ochaineDestroyItem(pc, removed);
  EXPECT_EQ(static_cast<Item *>(ochaineIteratorGetItem(&it))->iKey, 3);
  ASSERT_TRUE(ochaineIteratorPrev(&it));
  EXPECT_EQ(static_cast<Item *>(ochaineIteratorGetItem(&it))->iKey, 1);
  ochaineIteratorNext(&it);
  ochaineIteratorNext(&it);
  /* Remove the last and then the top through the iterator. */
  ochaineDestroyItem(pc, ochaineIteratorRemoveItem(&it));
  EXPECT_EQ(ochaineIteratorGetItem(&it), nullptr);
  EXPECT_EQ(keysOf(pc), (std::vector<int>{1, 3}));
  ochaineIteratorInitFromItem(&it, pc, pc->pitemTop);
  ochaineDestroyItem(pc, ochaineIteratorRemoveItem(&it));
  ochaineDestroyItem(pc, ochaineIteratorRemoveItem(&it));
  EXPECT_EQ(keysOf(pc), std::vector<int>{});
  EXPECT_EQ(pc->pitemTop, nullptr);
  ochaineDestroy(pc);
}

namespace {

/* Items owning a malloc'ed name; the callbacks count their calls. */
struct Named {
  ochaineItem link;
  char *pcName;
};
int giDestroyed;

void *cloneNamed(ochaine *, void *pitem)
{
  Named *p = static_cast<Named *>(calloc(1, sizeof(Named)));
  if (pitem) {
    const char *name = static_cast<Named *>(pitem)->pcName;
    if (strcmp(name, "fail") == 0) {
      free(p);
      return nullptr;
    }
    p->pcName = strdup(name);
    p->link = static_cast<Named *>(pitem)->link;  /* the chain must clear these */
  }
  return p;
}

void destroyNamed(ochaine *, void *pitem)
{
  giDestroyed++;
  free(static_cast<Named *>(pitem)->pcName);
  free(pitem);
}

Named *newNamed(const char *name)
{
  Named *p = static_cast<Named *>(calloc(1, sizeof(Named)));
  p->pcName = strdup(name);
  return p;
}

void *createNamed(ochaine *, void *arg)
{
  Named *p = newNamed(static_cast<const char *>(arg));
  p->link.pitemNext = p;  /* garbage the chain must clear */
  return p;
}

}  // namespace

TEST(ochaine, CloneAndDestroyThroughCallbacks)
{
  ochaine *pc = ochaineCreate(0, cloneNamed, destroyNamed);
  pc->pData = 0xE2E3C1;
  for (const char *n : {"a", "b", "c"}) ochaineAppend(pc, newNamed(n));
  ochaine *pcopy = ochaineClone(pc);
  ASSERT_NE(pcopy, nullptr);
  EXPECT_EQ(pcopy->iItemCount, 3);
  EXPECT_EQ(pcopy->pData, 0u);  /* not copied */
  EXPECT_EQ(pcopy->procDestroy, pc->procDestroy);
  Named *c1 = static_cast<Named *>(pcopy->pitemTop);
  EXPECT_NE(c1, pc->pitemTop);
  EXPECT_STREQ(c1->pcName, "a");
  EXPECT_EQ(c1->link.pitemPrev, nullptr);
  EXPECT_STREQ(static_cast<Named *>(pcopy->pitemBottom)->pcName, "c");
  EXPECT_EQ(static_cast<Named *>(pcopy->pitemBottom)->link.pitemNext, nullptr);

  giDestroyed = 0;
  ochaineDestroy(pc);
  EXPECT_EQ(giDestroyed, 3);
  ochaineDestroy(pcopy);
  EXPECT_EQ(giDestroyed, 6);

  /* A failing clone gives no chain and leaks nothing. */
  pc = ochaineCreate(0, cloneNamed, destroyNamed);
  for (const char *n : {"a", "fail", "c"}) ochaineAppend(pc, newNamed(n));
  EXPECT_EQ(ochaineClone(pc), nullptr);
  ochaineDestroy(pc);
  EXPECT_EQ(ochaineClone(nullptr), nullptr);

  /* Create-item: procCreate with its link cleared; without it a blank item from procClone. */
  pc = ochaineCreate(0, cloneNamed, destroyNamed);
  pc->procCreate = createNamed;
  Named *made = static_cast<Named *>(ochaineCreateItem(pc, const_cast<char *>("x")));
  EXPECT_EQ(made->link.pitemNext, nullptr);
  EXPECT_STREQ(made->pcName, "x");
  ochaineAppend(pc, made);
  pc->procCreate = nullptr;
  Named *blank = static_cast<Named *>(ochaineCreateItem(pc, nullptr));
  EXPECT_EQ(blank->pcName, nullptr);
  ochaineAppend(pc, blank);
  ochaineDestroy(pc);
}

TEST(ochaine, ByteCopyItems)
{
  ochaine *pc = chainOf({1, 2});
  ochaine *pcopy = ochaineClone(pc);
  EXPECT_EQ(keysOf(pcopy), (std::vector<int>{1, 2}));
  EXPECT_NE(pcopy->pitemTop, pc->pitemTop);
  Item *blank = static_cast<Item *>(ochaineCreateItem(pc, nullptr));
  EXPECT_EQ(blank->iKey, 0);
  EXPECT_EQ(blank->link.pitemNext, nullptr);
  ochaineDestroyItem(pc, blank);
  ochaineDestroy(pc);
  ochaineDestroy(pcopy);

  /* Neither an item size nor a clone callback: no item. */
  pc = ochaineCreate(0, nullptr, nullptr);
  EXPECT_EQ(ochaineCloneItem(pc, nullptr), nullptr);
  ochaineDestroy(pc);
}

TEST(ochaine, DetachAndAttach)
{
  ochaine *pc = chainOf({1, 2, 3});
  Item *bottom = static_cast<Item *>(ochaineDetachChaine(pc, 0));
  EXPECT_EQ(bottom->iKey, 3);
  EXPECT_EQ(pc->iItemCount, 0);
  EXPECT_EQ(pc->pitemTop, nullptr);
  /* Attach from the last item: the previous links are followed and next links rebuilt. */
  Item *middle = static_cast<Item *>(bottom->link.pitemPrev);
  middle->link.pitemNext = nullptr;
  ochaineAttachChaine(pc, bottom, 0);
  EXPECT_EQ(keysOf(pc), (std::vector<int>{1, 2, 3}));

  Item *top = static_cast<Item *>(ochaineDetachChaine(pc, 1));
  static_cast<Item *>(top->link.pitemNext)->link.pitemPrev = nullptr;
  ochaineAttachChaine(pc, top, 1);
  EXPECT_EQ(keysOf(pc), (std::vector<int>{1, 2, 3}));
  ochaineDestroy(pc);

  pc = chainOf({});
  ochaineAttachChaine(pc, nullptr, 1);
  EXPECT_EQ(pc->iItemCount, 0);
  ochaineDestroy(pc);
}

namespace {
void printHeader(FILE *f, void *arg) { ochainePrint(static_cast<ochaine *>(arg), f, 0, 1); }
void printItems(FILE *f, void *arg) { ochainePrint(static_cast<ochaine *>(arg), f, 20, 2); }
void printNull(FILE *f, void *) { ochainePrint(nullptr, f, 0, 3); }
void printOwn(ochaine *pchaine, void *pitem, FILE *f, int length)
{
  fprintf(f, "item %d/%d\n", pitem == pchaine->pitemTop, length);
}
}  // namespace

TEST(ochaine, DumpTexts)
{
  ochaine *pc = chainOf({});
  pc->pData = 0x414243;
  std::string expected = fmt("ochaine : %lx\n", (unsigned long)(uintptr_t)pc) + "  pitemTop      : 0\n" +
                         "  pitemBottom   : 0\n" + "  iItemCount    : 0\n" +
                         fmt("  iItemSize     : %i\n", (int)sizeof(Item)) + "  procClone     : 0\n" +
                         "  procDestroy   : 0\n" + "  procPrintItem : 0\n" + "  pData         : 414243\n" +
                         "-----------------\n";
  EXPECT_EQ(capture(printHeader, pc), expected);
  EXPECT_EQ(capture(printNull, nullptr), "ochaine : 0\n-----------------\n");
  ochaineDestroy(pc);

  /* Hex dump of 20 bytes: a full line and a line of 4 bytes padded to 16. */
  struct Raw {
    ochaineItem link;
    unsigned char ab[4];
  };
  pc = ochaineCreate(sizeof(Raw), nullptr, nullptr);
  Raw *raw = static_cast<Raw *>(calloc(1, sizeof(Raw)));
  memcpy(raw->ab, "A\x01z\xff", 4);
  ochaineAppend(pc, raw);
  std::string line1 = fmt("%8p : ", (void *)raw), chars1;
  const unsigned char *pb = reinterpret_cast<const unsigned char *>(raw);
  for (int i = 0; i < 16; i++) {
    line1 += fmt("%2.2X ", pb[i]);
    chars1 += pb[i] < 0x20 ? '.' : static_cast<char>(pb[i]);
  }
  std::string line2 = fmt("%8p : ", (void *)(pb + 16)) + "41 01 7A FF " + std::string(36, ' ') + "A.z\xff";
  EXPECT_EQ(capture(printItems, pc),
            fmt("Element de la chaine %lx\n", (unsigned long)(uintptr_t)pc) + line1 + chars1 + "\n" + line2 + "\n");

  pc->procPrintItem = printOwn;
  EXPECT_EQ(capture(printItems, pc), "item 1/20\n");
  ochaineDestroy(pc);
}
