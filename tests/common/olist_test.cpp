/*
** olist_test.cpp
**   Singly linked list and reference list: ordered insert, sort, merge and
**   concatenation, reversal, iterator removal during a walk (with the
**   removed-item state bit), iterator insertion, owned and borrowed
**   references through clone and destroy, and the dump texts.
*/
#include "common/olist.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Item {
  olistItem link;
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
  return (*static_cast<Item *const *>(a))->iKey - (*static_cast<Item *const *>(b))->iKey;
}

olist *listOf(std::initializer_list<int> keys, int tagBase = 0)
{
  olist *pl = olistCreate(sizeof(Item), nullptr, nullptr);
  int tag = tagBase;
  for (int k : keys) olistAppend(pl, newItem(k, tag++));
  return pl;
}

/* Keys from the top; fails the test when the bottom or the count is wrong. */
std::vector<int> keysOf(const olist *pl)
{
  std::vector<int> keys;
  const Item *last = nullptr;
  for (const Item *p = static_cast<const Item *>(pl->pitemTop); p; p = static_cast<const Item *>(p->link.pitemNext)) {
    keys.push_back(p->iKey);
    last = p;
  }
  EXPECT_EQ(pl->pitemBottom, last);
  EXPECT_EQ(pl->iItemCount, static_cast<int>(keys.size()));
  return keys;
}

std::vector<int> tagsOf(const olist *pl)
{
  std::vector<int> tags;
  for (const Item *p = static_cast<const Item *>(pl->pitemTop); p; p = static_cast<const Item *>(p->link.pitemNext))
    tags.push_back(p->iTag);
  return tags;
}

int keyAt(olistIterator *it) { return static_cast<Item *>(olistIteratorGetItem(it))->iKey; }

template <typename... A> std::string fmt(const char *format, A... args)
{
  char buf[256];
  snprintf(buf, sizeof buf, format, args...);
  return buf;
}

std::string capturePrint(olist *pl, int length, int flags)
{
  char *buf = nullptr;
  size_t len = 0;
  FILE *f = open_memstream(&buf, &len);
  olistPrint(pl, f, length, flags);
  fclose(f);
  std::string s(buf, len);
  free(buf);
  return s;
}

}  // namespace

TEST(olist, InsertSortedGoesBeforeEquals)
{
  olist *pl = listOf({1, 5, 5, 7});
  olistInsertSorted(pl, newItem(5, 9), compareKey);
  olistInsertSorted(pl, newItem(0, 8), compareKey);
  olistInsertSorted(pl, newItem(9, 7), compareKey);
  EXPECT_EQ(keysOf(pl), (std::vector<int>{0, 1, 5, 5, 5, 7, 9}));
  EXPECT_EQ(tagsOf(pl), (std::vector<int>{8, 0, 9, 1, 2, 3, 7}));
  olistDestroy(pl);
}

TEST(olist, SortMergeReverse)
{
  olist *pl = listOf({4, 1, 3});
  EXPECT_EQ(olistSort(pl, compareKey), 0);
  EXPECT_EQ(keysOf(pl), (std::vector<int>{1, 3, 4}));
  olistReverse(pl);
  EXPECT_EQ(keysOf(pl), (std::vector<int>{4, 3, 1}));
  olistAppend(pl, newItem(0));  /* the reversed bottom is a real end */
  EXPECT_EQ(keysOf(pl), (std::vector<int>{4, 3, 1, 0}));
  olistDestroy(pl);

  /* Merge of sorted lists: equal keys take the second list's item first; the second header stays to the caller. */
  olist *pa = listOf({1, 3, 5}, 0);
  olist *pb = listOf({3, 4}, 10);
  EXPECT_EQ(olistMergeSort(pa, pb, compareKey), pa);
  EXPECT_EQ(keysOf(pa), (std::vector<int>{1, 3, 3, 4, 5}));
  EXPECT_EQ(tagsOf(pa), (std::vector<int>{0, 10, 1, 11, 2}));
  EXPECT_EQ(keysOf(pb), std::vector<int>{});
  olistDestroy(pb);
  pb = listOf({6, 7});
  EXPECT_EQ(olistMergeSort(pa, pb, compareKey), pa);  /* the second's tail sets the bottom */
  EXPECT_EQ(keysOf(pa), (std::vector<int>{1, 3, 3, 4, 5, 6, 7}));
  olistDestroy(pb);

  /* Concatenation with an empty side returns the other header unchanged. */
  olist *empty = listOf({});
  EXPECT_EQ(olistMerge(empty, pa), pa);
  EXPECT_EQ(olistMerge(pa, empty), pa);
  EXPECT_EQ(olistMergeSort(empty, pa, compareKey), pa);
  EXPECT_EQ(pa->iItemCount, 7);
  olist *pc = listOf({8, 9});
  EXPECT_EQ(olistMerge(pa, pc), pa);
  EXPECT_EQ(keysOf(pa), (std::vector<int>{1, 3, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(keysOf(pc), std::vector<int>{});
  olistDestroy(pc);
  olistDestroy(empty);

  Item *top = static_cast<Item *>(olistDetachList(pa));
  EXPECT_EQ(pa->iItemCount, 0);
  olistAttachList(pa, top->link.pitemNext);  /* drops the first item from the list */
  EXPECT_EQ(keysOf(pa), (std::vector<int>{3, 3, 4, 5, 6, 7, 8, 9}));
  free(top);
  olistDestroy(pa);
}

TEST(olist, RemovingEverySecondItemDuringWalk)
{
  struct Case {
    std::vector<int> keys;
    std::vector<int> kept;
  } cases[] = {
      {{1, 2, 3, 4, 5, 6}, {1, 3, 5}},  /* removes the last item */
      {{1, 2, 3, 4, 5}, {1, 3, 5}},
      {{1, 2}, {1}},
      {{1}, {1}},
  };
  for (const Case &c : cases) {
    olist *pl = listOf({});
    for (int k : c.keys) olistAppend(pl, newItem(k));
    olistIterator it;
    olistIteratorInit(&it, pl);
    std::vector<int> visited;
    while (olistIteratorNext(&it)) {
      int key = keyAt(&it);
      visited.push_back(key);
      if (key % 2 == 0) free(olistIteratorRemoveItem(&it));
    }
    EXPECT_EQ(visited, c.keys);
    EXPECT_EQ(keysOf(pl), c.kept);
    olistIteratorDestroy(&it);
    EXPECT_EQ(it.ulState, 0u);
    olistDestroy(pl);
  }
}

TEST(olist, RemoveSetsStateBitUntilNext)
{
  olist *pl = listOf({1, 2, 3});
  olistIterator it;
  olistIteratorInit(&it, pl);
  EXPECT_EQ(it.ulState, 0xacceded0u);
  EXPECT_EQ(olistIteratorRemoveItem(&it), nullptr);
  EXPECT_EQ(it.ulState & 1u, 0u);
  olistIteratorNext(&it);
  Item *removed = static_cast<Item *>(olistIteratorRemoveItem(&it));
  EXPECT_EQ(removed->iKey, 1);
  EXPECT_EQ(removed->link.pitemNext, nullptr);
  free(removed);
  EXPECT_EQ(it.ulState, 0xacceded1u);
  EXPECT_EQ(keyAt(&it), 2);  /* the successor is current */
  EXPECT_EQ(olistIteratorNext(&it), 1);  /* does not move */
  EXPECT_EQ(it.ulState, 0xacceded0u);
  EXPECT_EQ(keyAt(&it), 2);
  olistIteratorNext(&it);
  free(olistIteratorRemoveItem(&it));  /* the last: the bottom becomes the previous item */
  EXPECT_EQ(olistIteratorGetItem(&it), nullptr);
  EXPECT_EQ(olistIteratorNext(&it), 0);
  EXPECT_EQ(keysOf(pl), (std::vector<int>{2}));
  EXPECT_EQ(olistIteratorNext(&it), 0);

  /* The only item: top and bottom become NULL. */
  olistIteratorInit(&it, pl);
  olistIteratorNext(&it);
  free(olistIteratorRemoveItem(&it));
  EXPECT_EQ(pl->pitemTop, nullptr);
  EXPECT_EQ(pl->pitemBottom, nullptr);
  EXPECT_EQ(pl->iItemCount, 0);
  olistAppend(pl, newItem(7));
  EXPECT_EQ(keysOf(pl), (std::vector<int>{7}));
  olistDestroy(pl);
}

TEST(olist, IteratorInsertion)
{
  olist *pl = listOf({1, 2});
  olistIterator it;
  olistIteratorInit(&it, pl);
  while (olistIteratorNext(&it)) {
  }
  Item *three = newItem(3);
  olistIteratorInsertAfter(&it, three);  /* after the last: the new bottom, visited next */
  EXPECT_EQ(pl->pitemBottom, three);
  ASSERT_EQ(olistIteratorNext(&it), 1);
  EXPECT_EQ(keyAt(&it), 3);
  olistAppend(pl, newItem(4));
  EXPECT_EQ(keysOf(pl), (std::vector<int>{1, 2, 3, 4}));

  /* Insert-before makes the new item current; the next move revisits the old current item. */
  olistIteratorInit(&it, pl);
  olistIteratorNext(&it);
  olistIteratorNext(&it);
  olistIteratorInsertBefore(&it, newItem(15));
  EXPECT_EQ(keyAt(&it), 15);
  olistIteratorNext(&it);
  EXPECT_EQ(keyAt(&it), 2);
  olistIteratorInit(&it, pl);
  olistIteratorInsertBefore(&it, newItem(0));  /* no current: a new top, current */
  EXPECT_EQ(keyAt(&it), 0);
  olistIteratorInsertAfter(&it, newItem(-1));
  olistIteratorNext(&it);
  EXPECT_EQ(keyAt(&it), -1);
  EXPECT_EQ(keysOf(pl), (std::vector<int>{0, -1, 1, 15, 2, 3, 4}));
  olistDestroy(pl);

  /* Insert-after before the first item, and on an empty list. */
  pl = listOf({5});
  olistIteratorInit(&it, pl);
  olistIteratorInsertAfter(&it, newItem(4));
  olistIteratorNext(&it);
  EXPECT_EQ(keyAt(&it), 4);
  EXPECT_EQ(keysOf(pl), (std::vector<int>{4, 5}));
  olistDestroy(pl);
  pl = listOf({});
  olistIteratorInit(&it, pl);
  olistIteratorInsertAfter(&it, newItem(1));
  EXPECT_EQ(keyAt(&it), 1);
  EXPECT_EQ(keysOf(pl), (std::vector<int>{1}));
  olistDestroy(pl);
}

namespace {

/* Referenced objects: a malloc'ed int; the callbacks count their calls. */
int giCloned, giDestroyed;

void *cloneObject(void *p)
{
  giCloned++;
  int *copy = static_cast<int *>(malloc(sizeof(int)));
  *copy = *static_cast<int *>(p);
  return copy;
}

void destroyObject(void *p)
{
  giDestroyed++;
  free(p);
}

int *newObject(int v)
{
  int *p = static_cast<int *>(malloc(sizeof(int)));
  *p = v;
  return p;
}

std::vector<int> refsOf(olist *pl)
{
  std::vector<int> v;
  olistIterator it;
  olistIteratorInit(&it, pl);
  EXPECT_EQ(olistIteratorGetRef(&it), nullptr);
  while (olistIteratorNext(&it)) v.push_back(*static_cast<int *>(olistIteratorGetRef(&it)));
  olistIteratorDestroy(&it);
  return v;
}

}  // namespace

TEST(olist, ReferenceListFreesOwnedObjectsOnly)
{
  int borrowed = 2;
  olist *pl = olistCreateRef(nullptr, destroyObject);
  EXPECT_EQ(pl->ulFlags & 1u, 1u);
  EXPECT_EQ(pl->iItemSize, static_cast<int>(sizeof(olistRef)));
  olistAppendRef(pl, newObject(1), 1);
  olistAppendRef(pl, &borrowed, 0);
  olistAppendRef(pl, nullptr, 1);
  EXPECT_EQ(static_cast<olistRef *>(pl->pitemTop)->usFlags, 1);

  /* Without a clone callback the copy refers to the same objects and owns none. */
  olist *pcopy = olistClone(pl);
  EXPECT_EQ(pcopy->ulFlags & 1u, 1u);
  olistRef *node = static_cast<olistRef *>(pcopy->pitemTop);
  EXPECT_EQ(node->pData, static_cast<olistRef *>(pl->pitemTop)->pData);
  EXPECT_EQ(node->usFlags & OLIST_REF_OWNED, 0);
  giDestroyed = 0;
  olistDestroy(pcopy);
  EXPECT_EQ(giDestroyed, 0);
  olistDestroy(pl);  /* the owned object only; the borrowed one is on the stack */
  EXPECT_EQ(giDestroyed, 1);

  /* With both callbacks: deep copies that keep the ownership bits. */
  pl = olistCreateRef(cloneObject, destroyObject);
  EXPECT_EQ(pl->iItemSize, 0);
  olistAppendRef(pl, newObject(7), 1);
  olistAppendRef(pl, newObject(8), 1);
  giCloned = giDestroyed = 0;
  pcopy = olistClone(pl);
  EXPECT_EQ(giCloned, 2);
  EXPECT_EQ(refsOf(pcopy), (std::vector<int>{7, 8}));
  EXPECT_NE(static_cast<olistRef *>(pcopy->pitemTop)->pData, static_cast<olistRef *>(pl->pitemTop)->pData);
  olistDestroy(pl);
  olistDestroy(pcopy);
  EXPECT_EQ(giDestroyed, 4);

  /* Without a destroy callback owned objects go to free(). */
  pl = olistCreateRef(nullptr, nullptr);
  olistAppendRef(pl, newObject(3), 1);
  EXPECT_EQ(refsOf(pl), (std::vector<int>{3}));
  olistDestroy(pl);
}

namespace {

struct Named {
  olistItem link;
  char *pcName;
};

void *cloneNamed(olist *, void *pitem)
{
  Named *p = static_cast<Named *>(calloc(1, sizeof(Named)));
  if (pitem) {
    p->pcName = strdup(static_cast<Named *>(pitem)->pcName);
    p->link = static_cast<Named *>(pitem)->link;
  }
  return p;
}

void destroyNamed(olist *, void *pitem)
{
  giDestroyed++;
  free(static_cast<Named *>(pitem)->pcName);
  free(pitem);
}

void *createNamed(olist *, void *arg)
{
  Named *p = static_cast<Named *>(calloc(1, sizeof(Named)));
  p->pcName = strdup(static_cast<const char *>(arg));
  p->link.pitemNext = p;
  return p;
}

}  // namespace

TEST(olist, CloneAndDestroyThroughCallbacks)
{
  olist *pl = olistCreate(0, cloneNamed, destroyNamed);
  olistSetCreateProc(pl, createNamed);
  for (const char *n : {"x", "y"}) {
    void *p = olistCreateItem(pl, const_cast<char *>(n));
    EXPECT_EQ(static_cast<Named *>(p)->link.pitemNext, nullptr);
    olistAppend(pl, p);
  }
  olist *pcopy = olistClone(pl);
  ASSERT_NE(pcopy, nullptr);
  Named *second = static_cast<Named *>(pcopy->pitemBottom);
  EXPECT_STREQ(second->pcName, "y");
  EXPECT_EQ(second->link.pitemNext, nullptr);
  EXPECT_EQ(pcopy->procCreate, nullptr);
  giDestroyed = 0;
  olistDestroy(pl);
  olistDestroy(pcopy);
  EXPECT_EQ(giDestroyed, 4);
  EXPECT_EQ(olistClone(nullptr), nullptr);

  /* Byte copies: a blank item is zero-filled. */
  pl = listOf({1, 2});
  pcopy = olistClone(pl);
  EXPECT_EQ(keysOf(pcopy), (std::vector<int>{1, 2}));
  Item *blank = static_cast<Item *>(olistCreateItem(pl, nullptr));
  EXPECT_EQ(blank->iKey, 0);
  olistDestroyItem(pl, blank);
  olistDestroy(pl);
  olistDestroy(pcopy);
}

TEST(olist, DumpTexts)
{
  olist *pl = olistCreateRef(nullptr, nullptr);
  pl->pData = 0x1f;
  std::string expected = fmt("olist : %lx\n", (unsigned long)(uintptr_t)pl) + fmt("  pitemTop      : %p\n", (void *)nullptr) +
                         fmt("  pitemBottom   : %p\n", (void *)nullptr) + "  iItemCount    : 0\n" +
                         fmt("  iItemSize     : %i\n", (int)sizeof(olistRef)) +
                         fmt("  procClone     : %p\n", (void *)nullptr) + fmt("  procDestroy   : %p\n", (void *)nullptr) +
                         fmt("  procPrintItem : %p\n", (void *)nullptr) + "  pData         : 1f\n" +
                         "  ulFlags       :        1\n" + "-----------------\n";
  EXPECT_EQ(capturePrint(pl, 0, 1), expected);
  EXPECT_EQ(capturePrint(nullptr, 0, 3), "olist : 0\n-----------------\n");

  /* Item dump of 4 bytes (the default): non-printable bytes show as '.'. */
  struct Raw {
    olistItem link;
    unsigned char ab[8];
  };
  olist *praw = olistCreate(sizeof(Raw), nullptr, nullptr);
  Raw *raw = static_cast<Raw *>(calloc(1, sizeof(Raw)));
  olistAppend(praw, raw);
  /* Dump from the payload so the bytes are known. */
  memcpy(raw->ab, "a\x7f\x80 ", 4);
  char *buf = nullptr;
  size_t len = 0;
  FILE *f = open_memstream(&buf, &len);
  olistPrintItem(praw, raw->ab, f, 0);
  fclose(f);
  EXPECT_EQ(std::string(buf, len), fmt("Element de la list %lx\n", (unsigned long)(uintptr_t)praw) +
                                       fmt("%8p : ", (void *)raw->ab) + "61 7F 80 20 " + std::string(36, ' ') +
                                       "a.. \n");
  free(buf);
  olistDestroy(praw);
  olistDestroy(pl);
}
