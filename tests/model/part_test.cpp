/*
** part_test.cpp
**   Partition work items: owned objects are copied and freed, borrowed ones
**   shared and left alone, the reader always shared; blank items from a
**   list own the table description stored later; partition records go
**   through the installed copy and free procedures.
*/
#include "model/part.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>

#include "common/olist.h"

/* Stand-in partition records: a counter of live copies. */
struct ficcont {
  int iValue;
};

namespace {

std::set<ficcont *> gsetLive;

ficcont *FakeCreate(int iValue)
{
  auto *p = new ficcont{iValue};
  gsetLive.insert(p);
  return p;
}

ficcont *FakeClone(ficcont *p)
{
  return p == nullptr ? nullptr : FakeCreate(p->iValue);
}

void FakeDestroy(ficcont *p)
{
  ASSERT_EQ(gsetLive.erase(p), 1u) << "freed a record that is not live";
  delete p;
}

class partTest : public ::testing::Test {
protected:
  void SetUp() override { partSetFiccontProcs(FakeClone, FakeDestroy); }
  void TearDown() override
  {
    partSetFiccontProcs(nullptr, nullptr);
    EXPECT_TRUE(gsetLive.empty()) << gsetLive.size() << " records left";
    for (ficcont *p : gsetLive) delete p;
    gsetLive.clear();
  }
};

void *TableDesc(unsigned char ucFill)
{
  void *p = malloc(PART_TABLEDESC_SIZE);
  memset(p, ucFill, PART_TABLEDESC_SIZE);
  return p;
}

}  // namespace

TEST_F(partTest, OwnedObjectsAreCopiedAndFreed)
{
  auto *pzorts = reinterpret_cast<zorts *>(0x1234);
  part *ppart = partCreate(3, 120, TableDesc(0xAB), FakeCreate(7), FakeCreate(8),
                           PART_OWN_TABLEDESC | PART_OWN_FICCONT | PART_OWN_LONG);
  ASSERT_NE(ppart, nullptr);
  EXPECT_EQ(ppart->pzorts, nullptr);
  ppart->pzorts = pzorts;

  part *pcopy = partClone(ppart);
  ASSERT_NE(pcopy, nullptr);
  EXPECT_EQ(pcopy->ilPart, 3);
  EXPECT_EQ(pcopy->ilDataPages, 120);
  EXPECT_EQ(pcopy->usFlags, PART_OWN_TABLEDESC | PART_OWN_FICCONT | PART_OWN_LONG);
  EXPECT_EQ(pcopy->pzorts, pzorts);                      /* shared, never copied */
  EXPECT_NE(pcopy->pTableDesc, ppart->pTableDesc);
  EXPECT_NE(pcopy->pficcont, ppart->pficcont);
  EXPECT_NE(pcopy->pficcontLong, ppart->pficcontLong);
  EXPECT_EQ(pcopy->pficcont->iValue, 7);
  EXPECT_EQ(pcopy->pficcontLong->iValue, 8);
  EXPECT_EQ(gsetLive.size(), 4u);

  /* Freeing the copy leaves the source's block intact. */
  partDestroy(pcopy);
  unsigned char ab[PART_TABLEDESC_SIZE];
  memset(ab, 0xAB, sizeof(ab));
  EXPECT_EQ(memcmp(ppart->pTableDesc, ab, sizeof(ab)), 0);
  EXPECT_EQ(gsetLive.size(), 2u);
  partDestroy(ppart);
  EXPECT_TRUE(gsetLive.empty());

  EXPECT_EQ(partClone(nullptr), nullptr);
  partDestroy(nullptr);
}

TEST_F(partTest, BorrowedObjectsAreSharedAndLeft)
{
  ficcont *pficcont = FakeCreate(1), *pficcontLong = FakeCreate(2);
  void *pTableDesc = TableDesc(0x11);
  part *ppart = partCreate(0, 5, pTableDesc, pficcont, pficcontLong, 0);
  part *pcopy = partClone(ppart);
  ASSERT_NE(pcopy, nullptr);
  EXPECT_EQ(pcopy->pTableDesc, pTableDesc);
  EXPECT_EQ(pcopy->pficcont, pficcont);
  EXPECT_EQ(pcopy->pficcontLong, pficcontLong);
  partDestroy(pcopy);
  partDestroy(ppart);
  EXPECT_EQ(gsetLive.size(), 2u);   /* both records still there */
  FakeDestroy(pficcont);
  FakeDestroy(pficcontLong);
  free(pTableDesc);

  /* Mixed: the table description owned, the records borrowed. */
  pficcont = FakeCreate(3);
  ppart = partCreate(1, 0, TableDesc(0), pficcont, nullptr, PART_OWN_TABLEDESC | PART_OWN_LONG);
  pcopy = partClone(ppart);
  ASSERT_NE(pcopy, nullptr);
  EXPECT_EQ(pcopy->pficcont, pficcont);
  EXPECT_EQ(pcopy->pficcontLong, nullptr);   /* an owned but absent record stays absent */
  partDestroy(pcopy);
  partDestroy(ppart);
  FakeDestroy(pficcont);
}

TEST_F(partTest, ListItemsFromNoSource)
{
  olist *plist = olistCreate(0, partCloneItem, partDestroyItem);
  ASSERT_NE(plist, nullptr);

  /* A blank item: partition -1, owns the table description stored later. */
  auto *ppart = static_cast<part *>(olistCreateItem(plist, nullptr));
  ASSERT_NE(ppart, nullptr);
  EXPECT_EQ(ppart->ilPart, -1);
  EXPECT_EQ(ppart->usFlags, PART_OWN_TABLEDESC);
  EXPECT_EQ(ppart->pTableDesc, nullptr);
  EXPECT_EQ(ppart->pficcont, nullptr);
  olistAppend(plist, ppart);

  auto *pfilled = static_cast<part *>(olistCreateItem(plist, nullptr));
  pfilled->ilPart = 2;
  pfilled->pTableDesc = TableDesc(0x22);
  pfilled->pficcont = FakeCreate(9);
  pfilled->usFlags |= PART_OWN_FICCONT;
  olistAppend(plist, pfilled);

  olist *pclone = olistClone(plist);
  olistDestroy(plist);
  ASSERT_NE(pclone, nullptr);
  ASSERT_EQ(pclone->iItemCount, 2);
  auto *psecond = static_cast<part *>(pclone->pitemTop)->pitemNext;
  ASSERT_NE(psecond, nullptr);
  EXPECT_EQ(psecond->ilPart, 2);
  EXPECT_EQ(static_cast<unsigned char *>(psecond->pTableDesc)[15], 0x22);
  EXPECT_EQ(psecond->pficcont->iValue, 9);
  olistDestroy(pclone);
}

TEST_F(partTest, OwnedRecordsWithoutProceduresAreNeitherSharedNorFreed)
{
  partSetFiccontProcs(nullptr, nullptr);
  ficcont *pficcont = FakeCreate(4);
  part *ppart = partCreate(0, 0, TableDesc(1), pficcont, nullptr, PART_OWN_TABLEDESC | PART_OWN_FICCONT);
  /* A copy would have to share what the source frees: refused. */
  EXPECT_EQ(partClone(ppart), nullptr);
  partDestroy(ppart);
  EXPECT_EQ(gsetLive.count(pficcont), 1u);
  FakeDestroy(pficcont);
}
