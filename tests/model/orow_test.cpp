/*
** orow_test.cpp
**   Row descriptors: adding definitions, building from definition arrays,
**   referred and owned buffers, reset, clone and destroy.
*/
#include "model/orow.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

rowColDef def(int32_t iType, int32_t iLength, int16_t sOffset)
{
  rowColDef d = growColDefNull;
  d.iType = iType;
  d.iLength = iLength;
  d.sOffset = sOffset;
  d.sNullOffset = -1;
  return d;
}

}  // namespace

TEST(orow, AddColumnCopiesAndClearsUntilFull)
{
  orow *prow = orowCreate(2);
  ASSERT_NE(prow, nullptr);
  EXPECT_EQ(prow->ulFlags, OROW_OWNED);
  EXPECT_EQ(prow->iCapacity, 2);
  EXPECT_EQ(prow->iCount, 0);
  EXPECT_EQ(prow->pcStart, nullptr);

  char acJunk[4];
  rowColDef d = def(0x0802, 4, 12);
  d.usFlags = 0x3;
  d.usCCSID = 850;
  d.pcData = acJunk;
  EXPECT_EQ(orowAddColumn(prow, &d), 0);
  EXPECT_EQ(prow->pcoldef[0].iType, 0x0802);
  EXPECT_EQ(prow->pcoldef[0].sOffset, 12);
  EXPECT_EQ(prow->pcoldef[0].usCCSID, 850);
  EXPECT_EQ(prow->pcoldef[0].usFlags, 0x2);          /* bit 0 cleared */
  EXPECT_EQ(prow->pcoldef[0].pcData, nullptr);       /* data position cleared */
  EXPECT_EQ(orowAddColumn(prow, &d), 0);
  EXPECT_EQ(orowAddColumn(prow, &d), OROW_RC_FULL);
  EXPECT_EQ(prow->iCount, 2);
  EXPECT_EQ(orowAddColumn(nullptr, &d), ORC_INVALID);
  orowDestroy(prow);
  orowDestroy(nullptr);
}

TEST(orow, CreateFromDefinitionArrays)
{
  const rowColDef adef[] = {def(1, 2, 0), def(7, 10, 2), def(0x4E, 1, 0), growColDefNull, def(9, 9, 9)};
  orow *prowCounted = orowCreateFromDef(adef, 2);
  ASSERT_NE(prowCounted, nullptr);
  EXPECT_EQ(prowCounted->iCount, 2);
  EXPECT_EQ(prowCounted->pcoldef[1].iLength, 10);

  orow *prowEnded = orowCreateFromDef(adef, 0);        /* up to the all-zero entry */
  ASSERT_NE(prowEnded, nullptr);
  EXPECT_EQ(prowEnded->iCount, 3);
  EXPECT_EQ(prowEnded->iCapacity, 3);
  EXPECT_EQ(prowEnded->pcoldef[2].iType, 0x4E);

  orow *prowNone = orowCreateFromDef(&growColDefNull, 0);
  ASSERT_NE(prowNone, nullptr);
  EXPECT_EQ(prowNone->iCount, 0);
  orowDestroy(prowCounted);
  orowDestroy(prowEnded);
  orowDestroy(prowNone);
}

TEST(orow, ReferredAndOwnedBuffers)
{
  orow *prow = orowCreate(1);
  rowColDef d = def(2, 4, 0);
  orowAddColumn(prow, &d);
  char acRecord[16] = "record-bytes";

  /* Owned copy: the row's own buffer, the data's bytes. */
  ASSERT_EQ(orowSetBuffer(prow, acRecord, 12, OROW_OWNED), 0);
  EXPECT_NE(prow->pcStart, acRecord);
  EXPECT_EQ(std::memcmp(prow->pcStart, "record-bytes", 12), 0);
  EXPECT_EQ(prow->pcEnd, prow->pcStart + 12);
  EXPECT_EQ(prow->pcCursor, prow->pcStart);
  EXPECT_EQ(prow->pcoldef[0].pcData, prow->pcStart);
  EXPECT_TRUE(prow->ulFlags & OROW_OWNED);

  /* Referring (the run step's mode 2) frees the owned copy and uses the data itself. */
  prow->iCurrent = 1;
  ASSERT_EQ(orowSetBuffer(prow, acRecord, 16, 2), 0);
  EXPECT_EQ(prow->pcStart, acRecord);
  EXPECT_EQ(prow->pcEnd, acRecord + 16);
  EXPECT_EQ(prow->iCurrent, 0);
  EXPECT_FALSE(prow->ulFlags & OROW_OWNED);
  EXPECT_EQ(prow->pcoldef[0].pcData, acRecord);

  /* Reset: mode 0 keeps the bytes, mode 1 zero-fills them. */
  prow->pcCursor = acRecord + 5;
  prow->iCurrent = 1;
  orowResetBuffer(prow, 0);
  EXPECT_EQ(prow->pcCursor, acRecord);
  EXPECT_EQ(prow->iCurrent, 0);
  EXPECT_EQ(acRecord[0], 'r');
  orowResetBuffer(prow, 1);
  for (char c : acRecord) EXPECT_EQ(c, 0);

  orowDestroy(prow);   /* the referred buffer is the caller's */
}

TEST(orow, CloneCopiesAnOwnedBufferAndSharesAReferredOne)
{
  orow *prow = orowCreate(2);
  rowColDef d = def(7, 5, 0);
  orowAddColumn(prow, &d);
  orowAddColumn(prow, &d);
  orowSetBuffer(prow, "abcdefgh", 8, OROW_OWNED);
  prow->pcCursor = prow->pcStart + 3;
  prow->pcoldef[1].pcData = prow->pcStart + 5;

  orow *pcopy = orowClone(prow);
  ASSERT_NE(pcopy, nullptr);
  EXPECT_NE(pcopy->pcStart, prow->pcStart);
  EXPECT_NE(pcopy->pcoldef, prow->pcoldef);
  EXPECT_EQ(pcopy->pcEnd, pcopy->pcStart + 8);
  EXPECT_EQ(pcopy->pcCursor, pcopy->pcStart + 3);
  EXPECT_EQ(pcopy->pcoldef[0].pcData, pcopy->pcStart);
  EXPECT_EQ(pcopy->pcoldef[1].pcData, pcopy->pcStart + 5);
  EXPECT_EQ(pcopy->iCount, 2);
  orowDestroy(prow);                                 /* the copy lives on alone */
  EXPECT_EQ(std::memcmp(pcopy->pcStart, "abcdefgh", 8), 0);

  char acShared[4] = "xyz";
  orowSetBuffer(pcopy, acShared, 3, 0);
  orow *pshare = orowClone(pcopy);
  ASSERT_NE(pshare, nullptr);
  EXPECT_EQ(pshare->pcStart, acShared);
  orowDestroy(pcopy);
  orowDestroy(pshare);
  EXPECT_EQ(orowClone(nullptr), nullptr);
}
