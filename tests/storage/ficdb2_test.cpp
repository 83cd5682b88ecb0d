/*
** ficdb2_test.cpp
**   Torn-page restoration on pages of every size torn as DB2 writes them,
**   and the container access test.
*/
#include "storage/ficdb2.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>

#include "common/obyte.h"
#include "common/oreason.h"
#include "tests/zavtest.h"
#include "tools/db2pages.h"

namespace {

using db2pages::Bytes;

/* A page whose sectors start with alternating bit-0 patterns. */
Bytes patterned(size_t ulSize)
{
  Bytes p = db2pages::page(ulSize, 12, {db2pages::other(0, 64)});
  for (size_t i = 1; i < ulSize / 512; i++) p[i * 512] = static_cast<unsigned char>(0x40 | ((i * 7 + i / 3) & 1));
  return p;
}

TEST(Ficdb2Restore, TornPagesOfEverySizeComeBack)
{
  for (size_t ulSize : {4096u, 8192u, 16384u, 32768u}) {
    for (int iStamp : {0, 1}) {
      Bytes orig = patterned(ulSize);
      Bytes torn = orig;
      db2pages::tear(torn, iStamp);
      /* from a copy of the words */
      Bytes fixed = torn;
      unsigned char aucSaved[8];
      std::memcpy(aucSaved, torn.data() + 36, 8);
      ASSERT_EQ(ficdb2RestaureBits(fixed.data(), static_cast<int32_t>(ulSize), aucSaved), 0);
      for (size_t i = 0; i < ulSize / 512; i++)
        EXPECT_EQ(fixed[i * 512], orig[i * 512]) << ulSize << " sector " << i << " stamp " << iStamp;
      EXPECT_EQ(0, std::memcmp(fixed.data() + 44, orig.data() + 44, ulSize - 44));
      /* with the page's own words, which the first step changes */
      Bytes inplace = torn;
      ASSERT_EQ(ficdb2RestaureBits(inplace.data(), static_cast<int32_t>(ulSize), inplace.data() + 36), 0);
      for (size_t i = 0; i < ulSize / 512; i++) EXPECT_EQ(inplace[i * 512], orig[i * 512]) << ulSize;
    }
  }
}

TEST(Ficdb2Restore, SectorZeroKeepsItsOwnBit)
{
  Bytes p(4096, 0);
  p[0] = 0x30;   /* bit 0 clear */
  unsigned char aucSaved[8] = {0x7F, 0, 0, 0, 0, 0, 0, 0};
  ASSERT_EQ(ficdb2RestaureBits(p.data(), 4096, aucSaved), 0);
  EXPECT_EQ(p[0], 0x30);
  for (int i = 1; i < 8; i++) EXPECT_EQ(p[i * 512], 1) << i;
  EXPECT_EQ(obyteGetLE32(aucSaved), 0x7Fu);
  p[0] = 0x31;   /* bit 0 set: word 0 takes it at bit 7 */
  ASSERT_EQ(ficdb2RestaureBits(p.data(), 4096, aucSaved), 0);
  EXPECT_EQ(obyteGetLE32(aucSaved), 0xFFu);
  EXPECT_EQ(p[0], 0x31);
  EXPECT_EQ(ficdb2RestaureBits(p.data(), 2048, aucSaved), ORC_INVALID);
}

TEST(Ficdb2Access, OpenableAndMissingFiles)
{
  zavtestTempDir dir;
  std::string strFile = dir.file("SQL00002.DAT");
  std::ofstream(strFile) << "x";
  EXPECT_EQ(ficdb2ControlFileAccess(strFile.c_str()), 0);
  EXPECT_EQ(ficdb2ControlFileAccess(dir.file("absent").c_str()), -1);
  EXPECT_EQ(ficdb2ControlFileAccess(nullptr), -1);
}

TEST(Ficdb2Access, ForbiddenFile)
{
  if (geteuid() == 0 || getuid() == 0) GTEST_SKIP() << "root opens every file; EACCES cannot be shown";
  zavtestTempDir dir;
  std::string strFile = dir.file("SQL00003.DAT");
  std::ofstream(strFile) << "x";
  ASSERT_EQ(chmod(strFile.c_str(), 0), 0);
  EXPECT_EQ(ficdb2ControlFileAccess(strFile.c_str()), -2);
}

/* Run as root: a child whose real id is another user's and whose effective
** id is root is refused the file, since the test opens under the real id. */
TEST(Ficdb2Access, OpensUnderTheRealUser)
{
  if (geteuid() != 0) GTEST_SKIP() << "needs root to take on another real user id";
  zavtestTempDir dir;
  std::string strFile = dir.file("SQL00004.DAT");
  std::ofstream(strFile) << "x";
  ASSERT_EQ(chmod(strFile.c_str(), 0600), 0);
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (setreuid(65534, 0) != 0) _exit(10);
    int iOpen = ficdb2ControlFileAccess(strFile.c_str());
    bool boBack = getuid() == 65534 && geteuid() == 0;
    _exit(iOpen == -2 && boBack ? 0 : 20 + iOpen);
  }
  int iStatus = 0;
  ASSERT_EQ(waitpid(pid, &iStatus, 0), pid);
  ASSERT_TRUE(WIFEXITED(iStatus));
  EXPECT_EQ(WEXITSTATUS(iStatus), 0);
  EXPECT_EQ(ficdb2ControlFileAccess(strFile.c_str()), 0);   /* root itself may open it */
}

}  // namespace
