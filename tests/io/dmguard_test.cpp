/*
** dmguard_test.cpp
**   What a daemon's peer may open, decided in this process: the system
**   paths that are never a root, and dmguardOpen on one instance whose
**   database tree holds files, links and a FIFO, and whose control file
**   names containers inside, outside and around the tree.
*/
#include "io/dmguard.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "tests/zavtest.h"
#include "tools/db2spcs.h"

namespace fs = std::filesystem;

namespace {

TEST(DmguardSystemPath, RootsThatAreNeverGranted)
{
  struct Case {
    const char *pcPath;
    bool        boTree, boBlock, boRefused;
  };
  const Case aCases[] = {
      {"/", true, false, true},           {"/etc", true, false, true},
      {"/etc/ssh", true, false, true},    {"/etc/passwd", false, false, true},
      {"/usr/lib", true, false, true},    {"/proc/1", true, false, true},
      {"/root/.ssh", true, false, true},  {"/home", true, false, true},
      {"/var", true, false, true},        {"/tmp", true, false, true},
      {"/dev", true, false, true},        {"/dev/null", false, false, true},
      {"/dev/sdb1", false, true, false},  {"/home/db2inst1/db", true, false, false},
      {"/var/db2/cont1", false, false, false}, {"/tmp/zavcont", true, false, false},
      {"/etcetera", true, false, false},  {"/usrdata/c1", false, false, false},
  };
  for (const Case &c : aCases)
    EXPECT_EQ(dmguardSystemPath(c.pcPath, c.boTree, c.boBlock), c.boRefused) << c.pcPath;
}

class DmguardOpen : public ::testing::Test {
 protected:
  zavtestTempDir dir;
  std::string strTree, strDbDir, strOutside;
  dmguardFiles files;

  void SetUp() override
  {
    strTree = dir.file("db/inst1");
    strDbDir = strTree + "/NODE0000/SQL00001";
    strOutside = dir.file("outside");
    for (const std::string &str : {strDbDir, strOutside + "/contdir", dir.file("top/cfg")}) fs::create_directories(str);
    std::ofstream(dir.file("top/cfg/db2zav.cfg")) << "insthomes=inst1:" << dir.file("home") << "\ndbpaths=inst1:"
                                                  << dir.file("db") << "\n";
    setenv("TOPZAV", dir.file("top").c_str(), 1);
    std::ofstream(strTree + "/inside") << "in";
    std::ofstream(strOutside + "/secret") << "no";
    std::ofstream(strOutside + "/cont1") << "c1";
    std::ofstream(strOutside + "/contdir/SQL00002.DAT") << "sms";
    fs::create_directory_symlink(strOutside, strTree + "/linkdir");
    fs::create_symlink(strOutside + "/secret", strTree + "/link");
    mkfifo((strTree + "/fifo").c_str(), 0600);
    db2spcsTablespace ts;
    ts.sId = 2;
    ts.strName = "T";
    for (const std::string &str : {strOutside + "/cont1", strOutside + "/contdir", std::string("../../../.."),
                                   std::string("/etc")})
      ts.vContainers.push_back({str, 0, 0, 0, 4096});
    ASSERT_TRUE(db2spcsWriteFile(strDbDir + "/SQLSPCS.1", {ts}));
  }
  void TearDown() override { unsetenv("TOPZAV"); }

  /* dmguardOpen's code, with the descriptor closed; its errno in *piErrno. */
  int Open(const std::string &strPath, int *piErrno = nullptr)
  {
    int iFd = -1, iErrno = 0;
    std::string strWhy;
    int rc = dmguardOpen("inst1", &files, strPath.c_str(), &iFd, &iErrno, &strWhy);
    if (iFd >= 0) close(iFd);
    if (piErrno != nullptr) *piErrno = iErrno;
    return rc;
  }
};

TEST_F(DmguardOpen, BeneathTheRootsWithoutLinks)
{
  struct Case {
    std::string strPath;
    int         rc;
  };
  std::vector<Case> cases = {
      {strTree + "/inside", 0},
      {strTree + "//inside", 0},                               /* doubled slashes are no component */
      {strTree, 0},                                            /* the tree itself */
      {strDbDir + "/SQLSPCS.1", 0},
      {strOutside + "/cont1", 0},                              /* a container file, exactly */
      {strOutside + "/contdir/SQL00002.DAT", 0},               /* below a container directory */
      {strTree + "/link", DMGUARD_RC_PATH},                    /* a link as the last component */
      {strTree + "/linkdir/secret", DMGUARD_RC_PATH},          /* a link on the way */
      {strTree + "/fifo", DMGUARD_RC_PATH},                    /* not a file */
      {strTree + "/../inst1/inside", DMGUARD_RC_PATH},
      {strTree + "/./inside", DMGUARD_RC_PATH},
      {strOutside + "/secret", DMGUARD_RC_PATH},
      {strOutside + "/cont1/x", DMGUARD_RC_PATH},              /* a container file is no directory */
      {"/etc/passwd", DMGUARD_RC_PATH},                        /* named by '../../../..' and by '/etc' */
      {"inside", DMGUARD_RC_PATH},
      {strTree + "/missing", DMGUARD_RC_OPEN},
  };
  for (const Case &c : cases) EXPECT_EQ(Open(c.strPath), c.rc) << c.strPath;
  int iErrno = 0;
  EXPECT_EQ(Open(strTree + "/missing", &iErrno), DMGUARD_RC_OPEN);
  EXPECT_EQ(iErrno, ENOENT);
  EXPECT_EQ(files.vRefused.size(), 2u);   /* the '..' entry and /etc */
}

/* A root replaced after the conversation gathered it (a container file
   swapped for another, a tree for a link) is not followed. */
TEST_F(DmguardOpen, RootsReplacedSinceGatheringAreRefused)
{
  EXPECT_EQ(Open(strOutside + "/cont1"), 0);
  EXPECT_EQ(Open(strTree + "/inside"), 0);
  fs::rename(strOutside + "/cont1", strOutside + "/cont1.old");
  fs::create_symlink(strOutside + "/secret", strOutside + "/cont1");
  EXPECT_EQ(Open(strOutside + "/cont1"), DMGUARD_RC_PATH);
  fs::rename(strTree, strTree + ".old");
  fs::create_directory_symlink(strOutside, strTree);
  std::ofstream(strOutside + "/inside") << "outside";
  EXPECT_EQ(Open(strTree + "/inside"), DMGUARD_RC_PATH);
}

}  // namespace
