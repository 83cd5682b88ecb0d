/*
** ficbackup_test.cpp
**   First-generation backup navigator over a small image written with
**   tools/db2backup.h: the table found by the block walk, the dump of the
**   information block, and the walk over a table's LOB and long-field
**   objects.
*/
#include "storage/ficbackup.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "common/oreason.h"
#include "storage/zorbk.h"
#include "tests/zavtest.h"
#include "tools/db2backup.h"

namespace {

db2backupImage NavigatorImage()
{
  db2backupImage image;
  db2backupBegin(image, 4 * 1024 * 1024);
  db2backupBytes vList = db2backupLOT({{"SYSCATSPACE", 2}, {"TS1", 1}});
  obytePutLE16(vList.data() + 72 + 20, 2);                 /* TS1 has id 2 */
  db2backupAddObject(image, 9, 0, 0, 0, vList);
  db2backupAddObject(image, 11, 2, 0, 0, db2backupTbsDef(2, 1, 16, 8192, 640, "TS1"));
  db2backupAddObject(image, 0, 2, 6, 0, db2backupBytes(8192, 0), 1, "ME.OTHER");
  db2backupAddObject(image, 0, 2, 5, 0, db2backupBytes(16384, 0), 2, "ME.T1");
  db2backupAddObject(image, 16, 2, 5, 0, db2backupBytes(3072, 0xAA));
  db2backupAddObject(image, 2, 2, 5, 0, db2backupBytes(8192, 0xBB));
  db2backupAddObject(image, 16, 2, 6, 0, db2backupBytes(1024, 0xCC));
  db2backupAddObject(image, 16, 2, 5, 3, db2backupBytes(2048, 0xDD));
  db2backupAddTail(image);
  db2backupAddObject(image, 16, 2, 5, 5, db2backupBytes(1024, 0xEE));   /* after the end */
  return image;
}

void Fill(ficbackupInfo &info, const std::string &strPath, const char *pcTab)
{
  ficbackupInitInfo(&info);
  info.pcBackupPath = strdup(strPath.c_str());
  info.pcTbs = strdup("TS1");
  info.pcQual = strdup("ME");
  info.pcTab = strdup(pcTab);
}

}  // namespace

TEST(Ficbackup, FindsTheTableAndWalksItsLongObjects)
{
  zavtestTempDir dir;
  ASSERT_TRUE(db2backupWrite(NavigatorImage(), dir.file("img")));
  ficbackupInfo info;
  Fill(info, dir.file("img"), "T1");
  ASSERT_EQ(ficbackupGetBlocks(&info), 0);
  EXPECT_EQ(info.ilTid, 2);
  EXPECT_EQ(info.ilTbsType, 1);
  EXPECT_EQ(info.ilExtentSize, 16);
  EXPECT_EQ(info.ilPageSize, 8192);
  EXPECT_EQ(info.ilNbPageInTbs, 640);
  EXPECT_EQ(info.isFid, 5);
  EXPECT_EQ(info.ilNbPage, 2);
  EXPECT_EQ(info.ilObjSize, 16384);

  std::string strDump = zavtestCapture([&](FILE *pfile) { ficbackupReadInfo(&info, pfile); });
  EXPECT_NE(strDump.find("pInfo->pcBackupPath        = <" + dir.file("img") + ">\n"), std::string::npos);
  EXPECT_NE(strDump.find("pInfo->isFid               = <5>\n"), std::string::npos);
  EXPECT_NE(strDump.find("pInfo->ilObjSize           = <16384>\n"), std::string::npos);

  int64_t llSize = 0;
  unsigned char uc = 0;
  ASSERT_EQ(ficbackupSeekFirstLobSMS(&info, &llSize), 0);
  EXPECT_EQ(llSize, 3072);
  ASSERT_EQ(read(info.iFd, &uc, 1), 1);
  EXPECT_EQ(uc, 0xAA);
  ASSERT_EQ(ficbackupSeekNextLobSMS(&info, &llSize), 0);
  EXPECT_EQ(llSize, 2048);
  ASSERT_EQ(read(info.iFd, &uc, 1), 1);
  EXPECT_EQ(uc, 0xDD);
  EXPECT_EQ(ficbackupSeekNextLobSMS(&info, &llSize), 1);     /* the tail ends the walk */
  ASSERT_EQ(ficbackupSeekFirstLfSMS(&info, &llSize), 0);
  EXPECT_EQ(llSize, 8192);
  EXPECT_EQ(ficbackupSeekNextLfSMS(&info, &llSize), 1);
  ficbackupFreeInfo(&info);
  EXPECT_EQ(info.iFd, -1);
  EXPECT_EQ(info.pcTbs, nullptr);
}

TEST(Ficbackup, MissingTableAndDamagedImages)
{
  zavtestTempDir dir;
  db2backupImage image = NavigatorImage();
  ASSERT_TRUE(db2backupWrite(image, dir.file("img")));
  ficbackupInfo info;
  Fill(info, dir.file("img"), "T9");
  EXPECT_EQ(ficbackupGetBlocks(&info), ZORBK_RC_NOTABLE);
  EXPECT_EQ(info.isFid, -1);
  int64_t llSize = 0;
  EXPECT_EQ(ficbackupSeekFirstLobSMS(&info, &llSize), ORC_INVALID);
  ficbackupFreeInfo(&info);

  image.bytes.resize(4096 + 512 + 72 * 2 + 512 + 100);       /* inside the definition */
  ASSERT_TRUE(db2backupWrite(image, dir.file("img")));
  Fill(info, dir.file("img"), "T1");
  EXPECT_EQ(ficbackupGetBlocks(&info), ZORBK_RC_TRUNCATED);
  ficbackupFreeInfo(&info);

  image.bytes[0] = 'X';
  ASSERT_TRUE(db2backupWrite(image, dir.file("img")));
  Fill(info, dir.file("img"), "T1");
  EXPECT_EQ(ficbackupGetBlocks(&info), ZORBK_RC_DAMAGED);
  ficbackupFreeInfo(&info);
}
