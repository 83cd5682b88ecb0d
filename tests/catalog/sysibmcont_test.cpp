// The containers of a table space over the partitions of a stand-in
// instance: local partitions from db2nodes.cfg, a partition read through a
// forked loopback daemon (on 127.0.0.2, another host for the program), a
// host without daemon, a partition without its directory or control file,
// no partition holding the table space, a failed partition that later ones
// must not hide, and partitions not asked for, which are not read at all.
#include "catalog/sysibmcont.h"

#include "common/obf.h"
#include "common/ochar.h"
#include "common/olist.h"
#include "io/authkey.h"
#include "io/db2util.h"
#include "io/socket.h"
#include "model/token.h"
#include "model/tools.h"
#include "platform/db2admin.h"
#include "storage/ficcont.h"
#include "tests/zavtest.h"
#include "tools/db2spcs.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

ochar *Str(const std::string &str)
{
  ochar *pchar = ocharCreate(0, 850);
  ocharAppendFixedS(pchar, str.data(), static_cast<int32_t>(str.size()));
  return pchar;
}

std::string Text(const ochar *pchar)
{
  return std::string(_charText(pchar), static_cast<size_t>(pchar->ilBU));
}

std::string ThisHost()
{
  char ac[100] = {0};
  toolsGetHostName(ac, sizeof ac);
  return ac;
}

db2spcsTablespace Sms(const std::string &strName, int16_t sId, const std::string &strPath)
{
  db2spcsTablespace ts;
  ts.sId = sId;
  ts.strName = strName;
  ts.vContainers.push_back({strPath, 0, 0, 0, 4096});
  return ts;
}

/* A listening socket on an ephemeral loopback port, as the daemon makes it. */
int Listen(int *piPort)
{
  servent se{};
  char acProto[] = "tcp";
  se.s_proto = acProto;
  char *pcErr = nullptr;
  int fd = iSOCKETcreate(&se, &pcErr);
  if (fd < 0 || iSOCKETlisten(fd, 8, &pcErr) != 0) return -1;
  sockaddr_in addr{};
  socklen_t len = sizeof addr;
  getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len);
  *piPort = ntohs(addr.sin_port);
  return fd;
}

/* The service side of the daemon in a forked child, for iConversations conversations. */
class Daemon {
 public:
  explicit Daemon(int iConversations)
  {
    int iListen = Listen(&iPort_);
    setenv(SOCKET_PORT_ENV, std::to_string(iPort_).c_str(), 1);
    pid_ = fork();
    if (pid_ == 0) {
      alarm(60);
      for (int i = 0; i < iConversations; i++) {
        unsigned char aucAddress[16];
        char *pcErr = nullptr;
        int fd = iSOCKETaccept(iListen, aucAddress, &pcErr);
        if (fd >= 0) iSOCKETdoService(fd, &pcErr);
      }
      _exit(0);
    }
    close(iListen);
  }
  ~Daemon()
  {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    unsetenv(SOCKET_PORT_ENV);
  }

 private:
  pid_t pid_ = -1;
  int iPort_ = 0;
};

class SysibmContainers : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { tokenInitKeyword(); }

  void SetUp() override
  {
    strRoot = dir.path;
    setenv("DB2INSTANCE", "zavinst", 1);
    setenv("ZAVDB2_INSTHOME", (strRoot + "/home").c_str(), 1);
    setenv("TOPZAV", (strRoot + "/topzav").c_str(), 1);
    fs::create_directories(strRoot + "/topzav/cfg");
    /* the daemon serves as the instance user, never as root */
    std::ofstream(strRoot + "/topzav/cfg/db2zav.cfg")
        << "insthomes=zavinst:" << strRoot << "/home\ninstusers=zavinst:" << UserName() << "\ndbpaths=zavinst:"
        << strRoot << "/data\n";
  }

  /* The instance's key, and its files open to the instance user. */
  void OpenToDaemon()
  {
    std::string strPath, strWhy;
    int boCreated = 0;
    fs::create_directories(strRoot + "/home");
    chmod(strRoot.c_str(), 0755);
    for (auto &entry : fs::recursive_directory_iterator(strRoot))
      if (entry.is_directory()) chmod(entry.path().c_str(), 0755);
    ASSERT_EQ(authkeyCreate("zavinst", &strPath, &boCreated, &strWhy), 0) << strWhy;
  }

  void TearDown() override { olistDestroy(plist); }

  /* The instance with these db2nodes.cfg lines and the database SAMPLE. */
  void Instance(const std::vector<std::string> &vLines)
  {
    std::string strErr;
    ASSERT_EQ(0, db2adminCreateInstance(vLines, &strErr)) << strErr;
    ASSERT_EQ(0, db2adminCreateDatabase("SAMPLE", strRoot + "/data", 819, 1, &strErr)) << strErr;
  }

  std::string PartPath(int iPart)
  {
    char ac[16];
    std::snprintf(ac, sizeof ac, "NODE%.4d", iPart);
    std::string str = strRoot + "/data/zavinst/" + ac + "/SQL00001/";
    fs::create_directories(str);
    return str;
  }

  std::vector<std::string> Get(const char *pcTbs, int *prc)
  {
    ochar *pcharInst = Str("zavinst"), *pcharUser = Str(UserName()), *pcharDb = Str("SAMPLE"),
          *pcharTbs = Str(pcTbs);
    std::vector<std::string> vMsgs =
        zavtestMessages([&] { plist = sysibmGetContainers(pcharInst, pcharUser, pcharDb, pcharTbs, prc); });
    for (ochar *p : {pcharInst, pcharUser, pcharDb, pcharTbs}) ocharDestroy(p);
    return vMsgs;
  }

  /* The instance user, as the configuration names it: the daemon serves no other. */
  static std::string UserName()
  {
    passwd *ppw = getpwuid(geteuid());
    return geteuid() == 0 ? "nobody" : (ppw != nullptr ? ppw->pw_name : "");
  }

  std::vector<ficcont *> Items()
  {
    std::vector<ficcont *> v;
    for (void *p = plist != nullptr ? plist->pitemTop : nullptr; p; p = static_cast<olistItem *>(p)->pitemNext)
      v.push_back(static_cast<ficcont *>(p));
    return v;
  }

  zavtestTempDir dir;
  std::string strRoot;
  olist *plist = nullptr;
};

TEST_F(SysibmContainers, LocalPartitionsOfDb2nodes)
{
  // partitions 0 and 2 (1 has no line); the host given with its domain, and as an absolute name
  Instance({"0 " + ThisHost() + ".example.com 0", "2 " + ThisHost() + ". 1"});
  ASSERT_TRUE(db2spcsWriteFile(PartPath(0) + "SQLSPCS.1", {Sms("SYSCATSPACE", 0, "a"), Sms("USERSPACE1", 2, "u0")}));
  ASSERT_TRUE(db2spcsWriteFile(PartPath(2) + "SQLSPCS.1", {Sms("USERSPACE1", 2, "/abs/u2")}));
  int rc = -1;
  std::vector<std::string> vMsgs = Get("USERSPACE1", &rc);
  EXPECT_EQ(0, rc);
  EXPECT_TRUE(vMsgs.empty()) << vMsgs[0];
  std::vector<ficcont *> v = Items();
  ASSERT_EQ(2u, v.size());
  EXPECT_EQ(0, v[0]->ilPart);
  EXPECT_EQ(0, v[0]->ilRemote);
  EXPECT_EQ(ThisHost() + ".example.com", Text(v[0]->pcharHost));
  EXPECT_EQ(PartPath(0) + "u0", Text(ficcontGetCont(v[0], 0)->pcharPath));
  EXPECT_EQ(2, v[1]->ilPart);
  EXPECT_EQ(0, v[1]->ilRemote);
  EXPECT_EQ("/abs/u2", Text(ficcontGetCont(v[1], 0)->pcharPath));
}

TEST_F(SysibmContainers, WithoutDb2nodesPartitionZeroIsThisHost)
{
  Instance({});
  ASSERT_TRUE(db2spcsWriteFile(PartPath(0) + "SQLSPCS.1", {Sms("USERSPACE1", 2, "u0")}));
  int rc = -1;
  Get("USERSPACE1", &rc);
  EXPECT_EQ(0, rc);
  ASSERT_EQ(1u, Items().size());
  EXPECT_EQ(PartPath(0) + "u0", Text(ficcontGetCont(Items()[0], 0)->pcharPath));
}

TEST_F(SysibmContainers, NoPartitionHoldsTheTablespace)
{
  Instance({"0 " + ThisHost() + " 0", "1 " + ThisHost() + " 1"});
  ASSERT_TRUE(db2spcsWriteFile(PartPath(0) + "SQLSPCS.1", {Sms("USERSPACE1", 2, "u0")}));
  ASSERT_TRUE(db2spcsWriteFile(PartPath(1) + "SQLSPCS.1", {Sms("USERSPACE1", 2, "u1")}));
  int rc = 0;
  std::vector<std::string> vMsgs = Get("NOSPACE", &rc);
  EXPECT_EQ(SYSIBM_RC_NOCONT, rc);
  EXPECT_EQ(std::vector<std::string>{"ZORU343E CANNOT FIND ANY CONTAINER FOR TABLESPACE NOSPACE IN DATABASE SAMPLE\n"},
            vMsgs);
  ASSERT_NE(nullptr, plist);
  EXPECT_EQ(0, plist->iItemCount);
}

TEST_F(SysibmContainers, AFailedPartitionIsNotHiddenByALaterOne)
{
  Instance({"0 " + ThisHost() + " 0", "1 " + ThisHost() + " 1"});
  std::vector<unsigned char> vBad = db2spcsRecord(Sms("USERSPACE1", 2, "u0"));
  obytePutLE32(&vBad[FICCONT_OFF_EXTENTSIZE], 0);
  ASSERT_TRUE(db2spcsWriteRecords(PartPath(0) + "SQLSPCS.1", {vBad}));
  ASSERT_TRUE(db2spcsWriteFile(PartPath(1) + "SQLSPCS.1", {Sms("USERSPACE1", 2, "u1")}));
  int rc = 0;
  std::vector<std::string> vMsgs = Get("USERSPACE1", &rc);
  EXPECT_EQ(FICCONT_RC_DAMAGED, rc);
  ASSERT_EQ(2u, vMsgs.size());
  EXPECT_EQ(0u, vMsgs[0].rfind("ZORU338E", 0)) << vMsgs[0];
  EXPECT_EQ("ZORU432E PARTITION 0 ON HOST " + ThisHost() + " OF DATABASE SAMPLE IS NOT READ: ITS TABLESPACE CONTROL FILE " +
                PartPath(0) + "SQLSPCS.1 CANNOT BE READ WHOLE\n",
            vMsgs[1]);
  ASSERT_EQ(1u, Items().size());
  EXPECT_EQ(1, Items()[0]->ilPart);
}

/*
** A partition asked for that cannot be read fails the request with a
** message naming it and why; one not asked for is not even looked at.
*/
TEST_F(SysibmContainers, EveryPartitionAskedForIsReadOrNamed)
{
  Instance({"0 " + ThisHost() + " 0", "1 " + ThisHost() + " 1", "2 " + ThisHost() + " 2"});
  ASSERT_TRUE(db2spcsWriteFile(PartPath(0) + "SQLSPCS.1", {Sms("USERSPACE1", 2, "u0")}));
  std::string strRoot1 = strRoot + "/data/zavinst/NODE0001";
  struct Case {
    const char *pcWhat;
    std::function<void()> fnBreak;   /* what happens to partition 1 */
    std::string strWhy;
  } aCases[] = {
      {"its directory missing", [&] { fs::remove_all(strRoot1); }, "ITS DIRECTORY " + strRoot1 + " DOES NOT EXIST"},
      {"its database directory missing", [&] { fs::remove_all(strRoot1 + "/SQL00001"); fs::create_directories(strRoot1); },
       "THE DATABASE DIRECTORY " + strRoot1 + "/SQL00001 DOES NOT EXIST"},
      {"its control file missing", [&] { fs::remove(PartPath(1) + "SQLSPCS.1"); },
       "ITS TABLESPACE CONTROL FILE " + strRoot1 + "/SQL00001/SQLSPCS.1 DOES NOT EXIST"},
  };
  for (const Case &c : aCases) {
    SCOPED_TRACE(c.pcWhat);
    ASSERT_TRUE(db2spcsWriteFile(PartPath(1) + "SQLSPCS.1", {Sms("USERSPACE1", 2, "u1")}));
    ASSERT_TRUE(db2spcsWriteFile(PartPath(2) + "SQLSPCS.1", {Sms("OTHERSPACE", 3, "o2")}));
    c.fnBreak();
    olistDestroy(plist);
    plist = nullptr;
    int rc = 0;
    std::vector<std::string> vMsgs = Get("USERSPACE1", &rc);
    EXPECT_EQ(SYSIBM_RC_PARTITION, rc);
    EXPECT_EQ(std::vector<std::string>{"ZORU432E PARTITION 1 ON HOST " + ThisHost() +
                                       " OF DATABASE SAMPLE IS NOT READ: " + c.strWhy + "\n"},
              vMsgs);
    ASSERT_EQ(1u, Items().size());   /* partition 2 does not hold the table space */
    EXPECT_EQ(0, Items()[0]->ilPart);

    /* asked for partitions 0 and 2 only: partition 1 is not read */
    obf *pobf = obfCreate(3);
    obfSet(pobf, 0);
    obfSet(pobf, 2);
    olistDestroy(plist);
    plist = nullptr;
    ochar *pcharInst = Str("zavinst"), *pcharUser = Str(UserName()), *pcharDb = Str("SAMPLE"),
          *pcharTbs = Str("USERSPACE1");
    vMsgs = zavtestMessages([&] { plist = sysibmGetContainers(pcharInst, pcharUser, pcharDb, pcharTbs, &rc, pobf); });
    for (ochar *p : {pcharInst, pcharUser, pcharDb, pcharTbs}) ocharDestroy(p);
    obfDestroy(pobf);
    EXPECT_EQ(0, rc);
    EXPECT_TRUE(vMsgs.empty()) << vMsgs[0];
    ASSERT_EQ(1u, Items().size());
  }
}

TEST_F(SysibmContainers, DirectoryAndPartitionTableFailures)
{
  Instance({});
  int rc = 0;
  ochar *pcharInst = Str("zavinst"), *pcharUser = Str("u"), *pcharDb = Str("NODB"), *pcharTbs = Str("T");
  zavtestMessages([&] { EXPECT_EQ(nullptr, sysibmGetContainers(pcharInst, pcharUser, pcharDb, pcharTbs, &rc)); });
  EXPECT_EQ(DB2UTIL_RC_NODB, rc);
  ocharDestroy(pcharInst);
  pcharInst = Str("nohome");
  ocharDestroy(pcharDb);
  pcharDb = Str("SAMPLE");
  zavtestMessages([&] { EXPECT_EQ(nullptr, sysibmGetContainers(pcharInst, pcharUser, pcharDb, pcharTbs, &rc)); });
  EXPECT_EQ(SYSIBM_RC_NONODES, rc);
  for (ochar *p : {pcharInst, pcharUser, pcharDb, pcharTbs}) ocharDestroy(p);
}

TEST_F(SysibmContainers, RemotePartitionThroughTheDaemon)
{
  Instance({"0 " + ThisHost() + " 0", "1 127.0.0.2 0"});
  ASSERT_TRUE(db2spcsWriteFile(PartPath(0) + "SQLSPCS.1", {Sms("USERSPACE1", 2, "u0")}));
  db2spcsTablespace ts;
  ts.sId = 3;
  ts.strName = "USERSPACE1";
  ts.ulFlags = FICCONT_TYPE_DMS;
  ts.ulExtentSize = 8;
  ts.vContainers = {{"d0"}, {"d1"}};
  db2spcsAddStripe(&ts, 4, {0, 1});
  ASSERT_TRUE(db2spcsWriteFile(PartPath(1) + "SQLSPCS.1", {Sms("SYSCATSPACE", 0, "c"), ts}, 10));
  OpenToDaemon();
  {
    Daemon daemon(2);   /* the daemon test, then the file */
    int rc = -1;
    std::vector<std::string> vMsgs = Get("USERSPACE1", &rc);
    EXPECT_EQ(0, rc);
    EXPECT_TRUE(vMsgs.empty()) << vMsgs[0];
    std::vector<ficcont *> v = Items();
    ASSERT_EQ(2u, v.size());
    EXPECT_EQ(1, v[1]->ilRemote);
    EXPECT_EQ("127.0.0.2", Text(v[1]->pcharHost));
    EXPECT_EQ(3, v[1]->sTbsId);
    EXPECT_EQ(PartPath(1) + "d1", Text(ficcontGetCont(v[1], 1)->pcharPath));
    ASSERT_NE(nullptr, v[1]->plistMapCb);
    EXPECT_EQ(1, v[1]->plistMapCb->iItemCount);
  }
  olistDestroy(plist);
  plist = nullptr;

  // the same host without a daemon: the partition is named, the request fails; partition 0 still read
  int iPort = 0;
  int fd = Listen(&iPort);
  close(fd);
  setenv(SOCKET_PORT_ENV, std::to_string(iPort).c_str(), 1);
  int rc = -1;
  std::vector<std::string> vMsgs = Get("USERSPACE1", &rc);
  unsetenv(SOCKET_PORT_ENV);
  EXPECT_EQ(SYSIBM_RC_PARTITION, rc);
  EXPECT_EQ(std::vector<std::string>{"ZORU432E PARTITION 1 ON HOST 127.0.0.2 OF DATABASE SAMPLE IS NOT READ: NO ZAV "
                                     "DAEMON ANSWERS ON THAT HOST\n"},
            vMsgs);
  ASSERT_EQ(1u, Items().size());
  EXPECT_EQ(0, Items()[0]->ilPart);
  olistDestroy(plist);
  plist = nullptr;

  // a daemon that cannot open the control file
  fs::remove(PartPath(1) + "SQLSPCS.1");
  {
    Daemon daemon(2);
    vMsgs = Get("USERSPACE1", &rc);
  }
  EXPECT_EQ(FICCONT_RC_ACCESS, rc);
  ASSERT_EQ(2u, vMsgs.size());
  EXPECT_EQ(0u, vMsgs[0].rfind("ZORU339E IMPOSSIBLE TO ACCESS TO A REMOTE CONTAINERS FILE OF DATABASE SAMPLE (", 0))
      << vMsgs[0];
  EXPECT_EQ(0u, vMsgs[1].rfind("ZORU432E PARTITION 1 ON HOST 127.0.0.2 OF DATABASE SAMPLE IS NOT READ: ", 0))
      << vMsgs[1];
  ASSERT_EQ(1u, Items().size());
}

TEST_F(SysibmContainers, NoHostHasADaemon)
{
  Instance({"0 127.0.0.2 0", "1 127.0.0.2 1"});
  int iPort = 0;
  close(Listen(&iPort));
  setenv(SOCKET_PORT_ENV, std::to_string(iPort).c_str(), 1);
  int rc = -1;
  std::vector<std::string> vMsgs = Get("USERSPACE1", &rc);
  unsetenv(SOCKET_PORT_ENV);
  EXPECT_EQ(SYSIBM_RC_PARTITION, rc);
  auto noDaemon = [](int iPart) {
    return "ZORU432E PARTITION " + std::to_string(iPart) +
           " ON HOST 127.0.0.2 OF DATABASE SAMPLE IS NOT READ: NO ZAV DAEMON ANSWERS ON THAT HOST\n";
  };
  EXPECT_EQ((std::vector<std::string>{noDaemon(0), noDaemon(1)}), vMsgs);
  EXPECT_EQ(nullptr, plist);
}

}  // namespace
