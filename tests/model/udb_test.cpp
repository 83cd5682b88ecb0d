/*
** udb_test.cpp
**   Output-file and LOB-path items: creation takes the objects over, copies
**   (alone and through a list) are independent of their source, blank items
**   from a list, and destruction of whatever an item holds.
*/
#include "model/udb.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/obf.h"
#include "common/ochar.h"
#include "common/olist.h"

namespace {

ochar *Text(const char *pc)
{
  ochar *pchar = ocharCreate(0, 850);
  ocharAppendFixed(pchar, pc, static_cast<int32_t>(strlen(pc)));
  ocharMakeC(pchar);
  return pchar;
}

std::string Str(const ochar *pchar)
{
  return pchar == nullptr ? "(null)" : std::string(_charText(pchar), static_cast<size_t>(pchar->ilBU));
}

}  // namespace

TEST(udbOutFile, CloneIsIndependentOfItsSource)
{
  obf *pobf = obfCreate(8);
  obfSet(pobf, 3);
  udbOutFile *pout = udbOutFileCreate(Text("/data/out.del"), Text("hostb"), pobf, UDB_MODE_APPEND | UDB_MODE_HOST);
  ASSERT_NE(pout, nullptr);

  udbOutFile *pcopy = udbOutFileClone(pout);
  ASSERT_NE(pcopy, nullptr);
  EXPECT_EQ(pcopy->pitemNext, nullptr);
  EXPECT_NE(pcopy->pcharFileName, pout->pcharFileName);
  EXPECT_NE(pcopy->pcharHost, pout->pcharHost);
  EXPECT_NE(pcopy->pobfPart, pout->pobfPart);
  EXPECT_EQ(pcopy->ulMode, UDB_MODE_APPEND | UDB_MODE_HOST);

  /* Changing or freeing the source leaves the copy as it was. */
  obfSet(pout->pobfPart, 5);
  udbOutFileDestroy(pout);
  EXPECT_EQ(Str(pcopy->pcharFileName), "/data/out.del");
  EXPECT_EQ(Str(pcopy->pcharHost), "hostb");
  EXPECT_EQ(obfGet(pcopy->pobfPart, 3), 1);
  EXPECT_EQ(obfGet(pcopy->pobfPart, 5), 0);
  udbOutFileDestroy(pcopy);

  /* Without host and partition set: none in the copy either. */
  pout = udbOutFileCreate(Text("out"), nullptr, nullptr, UDB_MODE_REPLACE);
  pcopy = udbOutFileClone(pout);
  ASSERT_NE(pcopy, nullptr);
  EXPECT_EQ(pcopy->pcharHost, nullptr);
  EXPECT_EQ(pcopy->pobfPart, nullptr);
  EXPECT_EQ(Str(pcopy->pcharFileName), "out");
  udbOutFileDestroy(pout);
  udbOutFileDestroy(pcopy);

  EXPECT_EQ(udbOutFileClone(nullptr), nullptr);
  udbOutFileDestroy(nullptr);
}

TEST(udbOutFile, ListsCopyAndFreeTheirItems)
{
  olist *plist = olistCreate(0, udbOutFileCloneItem, udbOutFileDestroyItem);
  ASSERT_NE(plist, nullptr);
  olistAppend(plist, udbOutFileCreate(Text("a.del"), nullptr, obfCreate(4), UDB_MODE_REPLACE));
  olistAppend(plist, udbOutFileCreate(Text("b.del"), Text("h"), nullptr, UDB_MODE_APPEND));

  /* A blank item from the list: every field empty, mode 0. */
  auto *pblank = static_cast<udbOutFile *>(olistCreateItem(plist, nullptr));
  ASSERT_NE(pblank, nullptr);
  EXPECT_EQ(pblank->pcharFileName, nullptr);
  EXPECT_EQ(pblank->pcharHost, nullptr);
  EXPECT_EQ(pblank->pobfPart, nullptr);
  EXPECT_EQ(pblank->ulMode, 0u);
  olistAppend(plist, pblank);

  olist *pclone = olistClone(plist);
  olistDestroy(plist);   /* the clone owns copies of everything */
  ASSERT_NE(pclone, nullptr);
  ASSERT_EQ(pclone->iItemCount, 3);
  auto *pfirst = static_cast<udbOutFile *>(pclone->pitemTop);
  EXPECT_EQ(Str(pfirst->pcharFileName), "a.del");
  EXPECT_NE(pfirst->pobfPart, nullptr);
  auto *psecond = pfirst->pitemNext;
  ASSERT_NE(psecond, nullptr);
  EXPECT_EQ(Str(psecond->pcharHost), "h");
  EXPECT_EQ(psecond->ulMode, static_cast<uint32_t>(UDB_MODE_APPEND));
  olistDestroy(pclone);
}

TEST(udbLobPath, CreateAndDestroy)
{
  udbLobPath *plob = udbLobPathCreate();
  ASSERT_NE(plob, nullptr);
  EXPECT_EQ(plob->pcharPath, nullptr);
  EXPECT_EQ(plob->pobfPart, nullptr);
  udbLobPathDestroy(plob);   /* empty */

  plob = udbLobPathCreate();
  plob->pcharPath = Text("/lobs");
  plob->pobfPart = obfCreate(16);
  udbLobPathDestroy(plob);   /* frees both: the sanitizer checks */
  udbLobPathDestroy(nullptr);
}
