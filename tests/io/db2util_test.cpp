// The DB2 utility layer against the DB2 stand-in: connections kept and
// moved, quiesce and reset call sequences (read from the stand-in's call
// log), db2nodes.cfg cases, the database directory, authorities, the
// database configuration and the export through temporary files.
#include "io/db2util.h"

#include "common/ochar.h"
#include "common/omsgs.h"
#include "model/token.h"
#include "model/zoratom.h"
#include "model/zortask.h"
#include "platform/db2admin.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const uintptr_t gulYes = 0xE8C5E2;
const uintptr_t gulNo = 0xD5D6;

std::string _read(const std::string &strPath)
{
  std::ifstream in(strPath);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

/* The calls of the log, without process id and time: "call args -> rc". */
std::vector<std::string> _calls(const std::string &strLog, const std::string &strPrefix = "")
{
  std::vector<std::string> v;
  std::istringstream in(_read(strLog));
  std::string strLine;
  while (std::getline(in, strLine)) {
    std::istringstream ls(strLine);
    std::string strPid, strTime;
    ls >> strPid >> strTime;
    std::string strRest;
    std::getline(ls, strRest);
    if (!strRest.empty() && strRest[0] == ' ') strRest.erase(0, 1);
    if (strPrefix.empty() || strRest.rfind(strPrefix, 0) == 0) v.push_back(strRest);
  }
  return v;
}

class Db2util : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { tokenInitKeyword(); }

  void SetUp() override
  {
    char acTemplate[] = "/tmp/zavutilXXXXXX";
    ASSERT_NE(nullptr, mkdtemp(acTemplate));
    strRoot = acTemplate;
    setenv("DB2INSTANCE", "zavinst", 1);
    setenv("ZAVDB2_INSTHOME", (strRoot + "/home").c_str(), 1);
    setenv("TOPZAV", (strRoot + "/topzav").c_str(), 1);
    unsetenv("ZAVDB2_FAIL");
    strLog = strRoot + "/calls.log";
    setenv("ZAVDB2_CALLLOG", strLog.c_str(), 1);
    fs::create_directories(strRoot + "/topzav/cfg");
    std::ofstream(strRoot + "/topzav/cfg/db2zav.cfg") << "insthomes=zavinst:" << strRoot << "/home,gone:" << strRoot
                                                       << "/nothere\n";
    std::string strErr;
    ASSERT_EQ(0, db2adminCreateInstance({}, &strErr)) << strErr;
    ASSERT_EQ(0, db2adminAddUser("alice", "secret", "dbagrp", &strErr)) << strErr;
    ASSERT_EQ(0, db2adminAddUser("bob", "pw", "", &strErr)) << strErr;
    ASSERT_EQ(0, db2adminCreateDatabase("SAMPLE", strRoot + "/data", 819, 1, &strErr)) << strErr;
    ASSERT_EQ(0, db2adminCreateDatabase("OTHER", strRoot + "/data", 1208, 1, &strErr)) << strErr;
    ASSERT_EQ(0, db2adminCreateTablespace("SAMPLE", "USERSPACE1", 2, 'S', 'A', 32, 4096, &strErr)) << strErr;
    ASSERT_EQ(0, db2adminCreateTable("SAMPLE", "TEST", "T1", "USERSPACE1", "", 4,
                                     {{"ID", "INTEGER", false, "", -1}, {"NAME", "VARCHAR(10)", true, "", -1}},
                                     &strErr))
        << strErr;
    ASSERT_EQ(0, db2adminExecute("SAMPLE", "INSERT INTO TEST.T1 VALUES(1,'a\"b'),(2,NULL)", &strErr)) << strErr;
    ASSERT_EQ(0, db2adminGrantDbadm("SAMPLE", "dbagrp", 'G', &strErr)) << strErr;
  }

  void TearDown() override
  {
    db2utilDisconnect(&ghenv, &ghdbc);
    unsetenv("ZAVDB2_CALLLOG");
    unsetenv("ZAVDB2_FAIL");
    fs::remove_all(strRoot);
  }

  static zoratom *Text(int iToken, const char *pcText)
  {
    ochar *pchar = ocharCreate(0, 850);
    ocharAppendFixedS(pchar, pcText, static_cast<int32_t>(std::strlen(pcText)));
    return zoratomCreate(gapnameTotalToken[iToken], ZORATOM_OCHAR, 0, reinterpret_cast<uintptr_t>(pchar), nullptr,
                         nullptr);
  }

  /* A PARMLIB task with LOCK/QUIESCE and a SELECT task below it. */
  zortask *Select(const char *pcQualifier, uintptr_t ulLock, uintptr_t ulQuiesce)
  {
    zortask *pparm = zortaskCreateNamed(gapnameTotalToken[TOKEN_PARMLIB]);
    zortaskAddAtom(pparm, zoratomCreate(gapnameTotalToken[TOKEN_LOCK], ZORATOM_INTEGER, ZORATOM_BORROWED, ulLock,
                                        nullptr, nullptr));
    zortaskAddAtom(pparm, zoratomCreate(gapnameTotalToken[TOKEN_QUIESCE], ZORATOM_INTEGER, ZORATOM_BORROWED,
                                        ulQuiesce, nullptr, nullptr));
    zortaskAddAtom(pparm, Text(TOKEN_DBNAME, "SAMPLE"));
    zortask *pselect = zortaskCreateNamed(gapnameTotalToken[TOKEN_SELECT]);
    zortaskAddAtom(pselect, Text(TOKEN_TBQUALIFIER, pcQualifier));
    zortaskAddAtom(pselect, Text(TOKEN_TBNAME, "T1"));
    zortaskAddSubTask(pparm, pselect);
    return pparm;
  }

  static zortask *FirstSub(zortask *pparm) { return static_cast<zortask *>(pparm->pchaineSubTasks->pitemTop); }

  std::string strRoot, strLog;
};

TEST_F(Db2util, ReconnectKeepsTheSameDatabaseAndMovesToAnother)
{
  ASSERT_EQ(0, db2utilReconnect("SAMPLE", nullptr, nullptr, &ghenv, &ghdbc));
  SQLHDBC hdbcFirst = ghdbc;
  std::remove(strLog.c_str());
  ASSERT_EQ(0, db2utilReconnect("SAMPLE", nullptr, nullptr, &ghenv, &ghdbc));
  EXPECT_EQ(hdbcFirst, ghdbc);
  std::vector<std::string> v = _calls(strLog);
  ASSERT_EQ(1u, v.size());  // only the data-source name query
  EXPECT_EQ(0u, v[0].rfind("SQLGetInfo", 0));

  ASSERT_EQ(0, db2utilReconnect("OTHER", "alice", "secret", &ghenv, &ghdbc));
  EXPECT_NE(0, ghdbc);
  EXPECT_EQ(1u, _calls(strLog, "SQLDisconnect").size());
  db2utilDisconnect(&ghenv, &ghdbc);
  EXPECT_EQ(0, ghenv);
  EXPECT_EQ(0, ghdbc);
}

TEST_F(Db2util, ConnectFailsTwiceThenGivesUp)
{
  EXPECT_EQ(DB2UTIL_RC_CONNECT, db2utilReconnect("SAMPLE", "alice", "wrong", &ghenv, &ghdbc));
  EXPECT_EQ(0, ghenv);
  EXPECT_EQ(0, ghdbc);
  EXPECT_EQ(2u, _calls(strLog, "SQLConnect").size());
  setenv("ZAVDB2_FAIL", "SQLAllocHandle=-1,HY001,-99,no memory", 1);
  EXPECT_EQ(DB2UTIL_RC_ENV, db2utilReconnect("SAMPLE", nullptr, nullptr, &ghenv, &ghdbc));
  EXPECT_EQ(DB2UTIL_RC_ENV, db2utilVerifyInstance());
  unsetenv("ZAVDB2_FAIL");
  EXPECT_EQ(0, db2utilVerifyInstance());
}

TEST_F(Db2util, QuiesceAndResetCallSequences)
{
  struct Case {
    const char *pcName;
    const char *pcQualifier;
    uintptr_t ulLock, ulQuiesce;
    int iReaderRc;
    int iLockRc, iResetRc;
    std::vector<std::string> vAdmin;  // sqluvtun / sqluvqdp calls in order
  } aCases[] = {
      {"lock and quiesce, good read", "TEST", gulYes, gulYes, 0, 0, 0,
       {"sqluvtun TEST.\"T1\" 0 -> 0", "sqluvtun TEST.\"T1\" 2 -> 0", "sqluvqdp TEST.\"T1\" 9 -> 0"}},
      {"lock and quiesce, failed read", "TEST", gulYes, gulYes, 8, 0, 8,
       {"sqluvtun TEST.\"T1\" 0 -> 0", "sqluvtun TEST.\"T1\" 9 -> 0", "sqluvqdp TEST.\"T1\" 9 -> 0"}},
      {"lock without quiesce", "TEST", gulYes, gulNo, 0, 0, 0,
       {"sqluvtun TEST.\"T1\" 0 -> 0", "sqluvtun TEST.\"T1\" 9 -> 0", "sqluvqdp TEST.\"T1\" 9 -> 0"}},
      {"quiesce without lock releases at once", "TEST", gulNo, gulYes, 0, 0, 0,
       {"sqluvtun TEST.\"T1\" 0 -> 0", "sqluvtun TEST.\"T1\" 9 -> 0", "sqluvqdp TEST.\"T1\" 9 -> 0"}},
      {"neither", "TEST", gulNo, gulNo, 4, 0, 4, {}},
      {"SYSIBM is never quiesced", "SYSIBM", gulYes, gulYes, 12, 0, 12, {}},
  };
  for (const Case &c : aCases) {
    std::remove(strLog.c_str());
    zortask *pparm = Select(c.pcQualifier, c.ulLock, c.ulQuiesce);
    SQLHENV henv = 0;
    SQLHDBC hdbc = 0;
    EXPECT_EQ(c.iLockRc, db2utilQuiesceLock(FirstSub(pparm), 0, &henv, &hdbc)) << c.pcName;
    EXPECT_EQ(c.iResetRc, db2utilResetQuiesce(FirstSub(pparm), 0, c.iReaderRc)) << c.pcName;
    db2utilDisconnect(&henv, &hdbc);
    std::vector<std::string> v = _calls(strLog, "sqlu");
    EXPECT_EQ(c.vAdmin, v) << c.pcName;
    bool boConnected = !_calls(strLog, "SQLConnect").empty();
    EXPECT_EQ(!c.vAdmin.empty(), boConnected) << c.pcName;
    if (boConnected) {
      std::vector<std::string> vSet = _calls(strLog, "SQLSetConnectAttr");
      ASSERT_EQ(1u, vSet.size()) << c.pcName;
      EXPECT_NE(std::string::npos, vSet[0].find(" 1290 0 -> 0")) << c.pcName;  // directed to partition 0
    }
    zortaskDestroy(pparm);
  }
}

TEST_F(Db2util, FailedRegistrationKeepsTheConnection)
{
  setenv("ZAVDB2_FAIL", "sqluvtun=-2310,,,table busy", 1);
  zortask *pparm = Select("TEST", gulYes, gulYes);
  SQLHENV henv = 0;
  SQLHDBC hdbc = 0;
  EXPECT_EQ(DB2UTIL_RC_REGISTER, db2utilQuiesceLock(FirstSub(pparm), 0, &henv, &hdbc));
  EXPECT_NE(0, hdbc);
  // the end of a good read that cannot be registered fails the read
  EXPECT_EQ(DB2UTIL_RC_REGISTER, db2utilResetQuiesce(FirstSub(pparm), 0, 0));
  // a failed read keeps its own code
  EXPECT_EQ(8, db2utilResetQuiesce(FirstSub(pparm), 0, 8));
  db2utilDisconnect(&henv, &hdbc);
  zortaskDestroy(pparm);
}

TEST_F(Db2util, PartitionListFromDb2nodes)
{
  struct Case {
    const char *pcName;
    const char *pcFile;  // nullptr: no db2nodes.cfg
    int iCount;
    std::vector<std::pair<int, std::string>> vNodes;  // (number, host) per entry
  } aCases[] = {
      {"one line", "0 hosta 0\n", 1, {{0, "hosta"}}},
      {"gap and domain", "0 hosta.example.com 0\n\n2 hostb 1 netname\n", 3,
       {{0, "hosta.example.com"}, {-1, ""}, {2, "hostb"}}},
      {"addresses whole, an absolute name without its dot", "0 127.0.0.2 0\n1 hostb.example.com. 0\n2 ::1 0\n", 3,
       {{0, "127.0.0.2"}, {1, "hostb.example.com"}, {2, "::1"}}},
      {"later line wins", "1 x 0\n1 y 1\n", 2, {{-1, ""}, {1, "y"}}},
      {"negative number", "-1 hosta 0\n", 0, {}},
      {"not a number", "zero hosta 0\n", 0, {}},
      {"number out of range", "2000000000 hosta 0\n", 0, {}},
      {"missing host", "0\n", 0, {}},
      {"host too long", nullptr, -1, {}},
  };
  for (const Case &c : aCases) {
    std::string strFile = strRoot + "/home/sqllib/db2nodes.cfg";
    if (c.iCount == -1) {
      std::ofstream(strFile) << "0 " << std::string(120, 'h') << " 0\n";
    } else if (c.pcFile != nullptr) {
      std::ofstream(strFile) << c.pcFile;
    }
    int iCount = 99;
    db2utilNode *pnodes = db2utilGetNodes("zavinst", &iCount);
    int iExpected = c.iCount < 0 ? 0 : c.iCount;
    EXPECT_EQ(iExpected, iCount) << c.pcName;
    EXPECT_EQ(iExpected == 0, pnodes == nullptr) << c.pcName;
    for (size_t i = 0; pnodes != nullptr && i < c.vNodes.size(); i++) {
      EXPECT_EQ(c.vNodes[i].first, pnodes[i].iNode) << c.pcName << " " << i;
      if (c.vNodes[i].first >= 0) {
        EXPECT_EQ(c.vNodes[i].second, pnodes[i].acHost) << c.pcName << " " << i;
      }
    }
    std::free(pnodes);
    fs::remove(strFile);
  }
  // without the file: partition 0 on this host, port 0
  int iCount = 0;
  db2utilNode *pnodes = db2utilGetNodes("zavinst", &iCount);
  ASSERT_NE(nullptr, pnodes);
  EXPECT_EQ(1, iCount);
  EXPECT_EQ(0, pnodes[0].iNode);
  EXPECT_EQ(0, pnodes[0].iPort);
  EXPECT_EQ(nullptr, std::strchr(pnodes[0].acHost, '.'));
  std::free(pnodes);
  // an instance without a home, and one whose home is missing
  EXPECT_EQ(nullptr, db2utilGetNodes("unknown", &iCount));
  EXPECT_EQ(0, iCount);
  EXPECT_EQ(nullptr, db2utilGetNodes("gone", &iCount));
}

/* The host of a partition entry is this host by any of its names and addresses, and only then. */
TEST(Db2utilHosts, ThisHostByItsNamesAndAddresses)
{
  char acHost[256] = {0};
  ASSERT_EQ(gethostname(acHost, sizeof acHost - 1), 0);
  std::string strShort(acHost, std::strcspn(acHost, "."));
  struct Case {
    std::string strHost;
    int iThis;
  } aCases[] = {
      {"", 1},
      {"localhost", 1},
      {"LOCALHOST", 1},
      {"127.0.0.1", 1},
      {acHost, 1},
      {strShort, 1},
      {strShort + ".", 1},
      {strShort + ".example.com", 1},
      {"127.0.0.2", 0},
      {"127", 0},
      {"192.0.2.1", 0},
      {"zav-no-such-host-" + strShort, 0},
  };
  for (const Case &c : aCases) EXPECT_EQ(db2utilIsThisHost(c.strHost.c_str()), c.iThis) << c.strHost;
}

TEST_F(Db2util, DirectoryAuthoritiesAndConfiguration)
{
  ochar *pcharDrive = nullptr, *pcharInternal = nullptr;
  int iNode = -1;
  ASSERT_EQ(0, db2utilGetDBPath("SAMPLE", &pcharDrive, &iNode, &pcharInternal));
  ASSERT_NE(nullptr, pcharDrive);
  ASSERT_NE(nullptr, pcharInternal);
  EXPECT_EQ(strRoot + "/data", std::string(pcharDrive->pcData, static_cast<size_t>(pcharDrive->ilBU)));
  EXPECT_EQ("SQL00001", std::string(pcharInternal->pcData, static_cast<size_t>(pcharInternal->ilBU)));
  EXPECT_EQ(0, iNode);
  ocharDestroy(pcharDrive);
  ocharDestroy(pcharInternal);
  pcharDrive = pcharInternal = nullptr;
  EXPECT_EQ(DB2UTIL_RC_NODB, db2utilGetDBPath("NODB", &pcharDrive, &iNode, &pcharInternal));
  EXPECT_EQ(nullptr, pcharDrive);

  ASSERT_EQ(0, db2utilReconnect("SAMPLE", "alice", "secret", &ghenv, &ghdbc));
  EXPECT_EQ(0, db2utilGetAuthorizations("SAMPLE", "alice", "secret"));
  ASSERT_EQ(0, db2utilReconnect("OTHER", "bob", "pw", &ghenv, &ghdbc));
  ASSERT_EQ(0, db2utilReconnect("SAMPLE", "bob", "pw", &ghenv, &ghdbc));
  EXPECT_EQ(DB2UTIL_RC_AUTH, db2utilGetAuthorizations("SAMPLE", "bob", "pw"));

  auto mk = [](const char *pc) {
    ochar *pchar = ocharCreate(0, 850);
    ocharAppendFixedS(pchar, pc, static_cast<int32_t>(std::strlen(pc)));
    return pchar;
  };
  ochar *pcharDb = mk("OTHER"), *pcharInst = mk("zavinst");
  char **ppc = db2utilGetDBCfg(pcharDb, pcharInst, nullptr, nullptr);
  ASSERT_NE(nullptr, ppc);
  uint16_t usCodepage;
  std::memcpy(&usCodepage, ppc[0], 2);
  EXPECT_EQ(1208, usCodepage);
  std::free(ppc[0]);
  std::free(ppc[1]);
  std::free(ppc);
  ochar *pcharNo = mk("NODB");
  EXPECT_EQ(nullptr, db2utilGetDBCfg(pcharNo, pcharInst, nullptr, nullptr));
  ocharDestroy(pcharDb);
  ocharDestroy(pcharInst);
  ocharDestroy(pcharNo);
}

TEST_F(Db2util, ExportToStandardOutputLeavesNoTemporaryFile)
{
  std::string strTmp = strRoot + "/tmp";
  fs::create_directories(strTmp);
  setenv("TMPDIR", strTmp.c_str(), 1);
  ASSERT_EQ(0, db2utilReconnect("SAMPLE", nullptr, nullptr, &ghenv, &ghdbc));
  std::string strOut = strRoot + "/stdout.del";
  fflush(stdout);
  pid_t pid = fork();
  ASSERT_NE(-1, pid);
  if (pid == 0) {
    FILE *pf = std::freopen(strOut.c_str(), "w", stdout);
    if (pf == nullptr) _exit(3);
    char acStatement[] = "SELECT ID, NAME FROM TEST.T1 ORDER BY ID;\nignored";
    db2utilExport(acStatement, nullptr, nullptr, "DEL", 0, nullptr, 0, nullptr);
    std::fflush(stdout);
    _exit(0);
  }
  int iStatus = 0;
  waitpid(pid, &iStatus, 0);
  ASSERT_TRUE(WIFEXITED(iStatus));
  EXPECT_EQ(0, WEXITSTATUS(iStatus));
  EXPECT_EQ("1,\"a\"\"b\"\n2,\n", _read(strOut));
  EXPECT_TRUE(fs::is_empty(strTmp));  // the private directory and its files are gone
  unsetenv("TMPDIR");
}

}  // namespace
