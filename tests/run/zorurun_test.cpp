/*
** zorurun_test.cpp
**   The run step's process tree: result codes from launch codes and exit
**   bytes, MAXTASK throttling, children killed by a signal, the select
**   status stream and remote-run launches, and the preparation of a
**   direct-read SELECT.  SELECT children are mostly replaced by a fake entry
**   point that plays a scripted behaviour per SELECT task; the real SELECT
**   child runs once; the remote-run child runs for real against no daemon.
**   Every test runs under an alarm and checks that no process or SysV
**   resource is left behind.
*/
#include "run/zorurun.h"

#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "../zavtest.h"
#include "model/osysibm.h"
#include "common/obf.h"
#include "common/ochar.h"
#include "common/olist.h"
#include "common/osignal.h"
#include "common/ostack.h"
#include "common/ovf.h"
#include "control/zorcontrol.h"
#include "io/db2util.h"
#include "model/token.h"
#include "model/zoratom.h"
#include "model/zortask.h"
#include "expr/zorcol.h"
#include "expr/zornode.h"
#include "model/oconvert.h"
#include "model/orow.h"
#include "storage/ficcont.h"
#include "storage/ficdata.h"
#include "ucoretest.h"

namespace {

/* What a fake SELECT child does. */
struct Script {
  int32_t ilTasks = 1;          /* task count it reports */
  std::vector<int32_t> vRemote; /* partition indexes it marks for remote runs */
  int iSleepMs = 0;
  int iSignal = 0;              /* raised on itself after its work */
  int iExit = 0;
  bool boDieFirst = false;      /* killed before it writes its status */
  bool boStopMain = false;      /* sends SIGTERM to the main process after its status */
};

std::map<const zortask *, Script> gmapScripts;
std::vector<const zortask *> gvOrder;  /* the SELECT tasks in creation order */
std::string gstrLog;            /* "B <tag>" / "E <tag>" lines of the fake children */
std::string gstrRemoteLog;      /* hosts of the fake remote-run children */

void Append(const std::string &strPath, const std::string &strLine)
{
  FILE *pfile = std::fopen(strPath.c_str(), "a");
  if (pfile == nullptr) return;
  std::fputs(strLine.c_str(), pfile);
  std::fclose(pfile);
}

int FakeSelect(zorurunSelectLaunch *plaunch)
{
  const Script &s = gmapScripts[plaunch->ptaskSelect];
  if (s.boDieFirst) raise(SIGKILL);
  int32_t ilRemote = 0;
  for (int32_t i : s.vRemote) ilRemote += _zorurunMarkRemote(plaunch->prun, i);
  _zorurunWriteStatus(plaunch->povfStatus, 1, s.ilTasks, ilRemote, plaunch->prun);
  std::string strTag = std::to_string(reinterpret_cast<uintptr_t>(plaunch->ptaskSelect));
  Append(gstrLog, "B " + strTag + "\n");
  if (s.boStopMain) kill(getppid(), SIGTERM);
  if (s.iSleepMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(s.iSleepMs));
  Append(gstrLog, "E " + strTag + "\n");
  if (s.iSignal != 0) raise(s.iSignal);
  return s.iExit;
}

int FakeRemote(zorurunRemoteLaunch *plaunch)
{
  Append(gstrRemoteLog, std::string(plaunch->pcHost) + "\n");
  return 0;
}

std::string ReadText(const std::string &strPath)
{
  std::ifstream in(strPath);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

/* The suite compares the whole list of SysV resources before and after each
   test; where it may (root), it moves into an IPC namespace of its own first
   so that other processes on the machine do not show up in that list. */
bool _ipcPrivateNamespace()
{
  static const bool boDone = unshare(CLONE_NEWIPC) == 0;
  return boDone;
}

/* Ids of the SysV resources of one kind ("shm", "sem") now present. */
std::set<std::string> Ipc(const char *pcKind)
{
  std::set<std::string> set;
  std::ifstream in(std::string("/proc/sysvipc/") + pcKind);
  std::string strLine;
  std::getline(in, strLine);
  while (std::getline(in, strLine)) {
    std::istringstream is(strLine);
    std::string strKey, strId;
    is >> strKey >> strId;
    set.insert(strId);
  }
  return set;
}

ochar *Text(const char *pcText)
{
  ochar *pchar = ocharCreate(0, 850);
  ocharAppendFixedS(pchar, pcText, static_cast<int32_t>(std::strlen(pcText)));
  return pchar;
}

zoratom *Int(int iToken, int32_t il)
{
  return zoratomCreate(gapnameTotalToken[iToken], ZORATOM_INTEGER, ZORATOM_BORROWED,
                       static_cast<uintptr_t>(static_cast<uint32_t>(il)), nullptr, nullptr);
}

class Zorurun : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { tokenInitKeyword(); }

  void SetUp() override
  {
    alarm(60);                 /* a stuck run must not hang the suite */
    _ipcPrivateNamespace();
    setShm_ = Ipc("shm");
    setSem_ = Ipc("sem");
    gstrLog = dir_.file("log");
    gstrRemoteLog = dir_.file("remote");
    std::filesystem::remove(gstrLog);
    std::filesystem::remove(gstrRemoteLog);
    gmapScripts.clear();
    gvOrder.clear();
    zorurunSetSelectChildProc(FakeSelect);
    zorurunSetRemoteChildProc(FakeRemote);
    std::memset(&table_, 0, sizeof(table_));
    pglobal_ = zortaskCreateNamed(gapnameTotalToken[TOKEN_GLOBAL]);
    pcontrol_ = zorcontrolCreate(pglobal_, nullptr);
  }

  void TearDown() override
  {
    zorurunSetSelectChildProc(nullptr);
    zorurunSetRemoteChildProc(nullptr);
    /* nothing may be left to reap, nor any resource */
    EXPECT_EQ(-1, waitpid(-1, nullptr, WNOHANG));
    EXPECT_EQ(setShm_, Ipc("shm"));
    EXPECT_EQ(setSem_, Ipc("sem"));
    zortaskDestroy(pglobal_);
    ostackDestroy(pcontrol_->pstackMaxRc);
    std::free(pcontrol_);
    alarm(0);
  }

  void Global(uint32_t ulLocal, int32_t ilMaxTask)
  {
    zortaskAddAtom(pglobal_, Int(TOKEN_LOCAL, static_cast<int32_t>(ulLocal)));
    zortaskAddAtom(pglobal_, Int(TOKEN_MAXTASK, ilMaxTask));
  }

  /* A direct-read SELECT over a backup without entries (its preparation
  ** succeeds with no work item), in a new UNLOAD task unless one is given. */
  zortask *Select(Script s, zortask *punload = nullptr)
  {
    if (punload == nullptr) {
      punload = zortaskCreateNamed(gapnameTotalToken[TOKEN_UNLOAD]);
      zortaskAddSubTask(pglobal_, punload);
    }
    zortask *pselect = zortaskCreateNamed(gapnameTotalToken[TOKEN_SELECT]);
    zortaskAddAtom(pselect, zoratomCreate(gapnameTotalToken[TOKEN_SYSTABLE], ZORATOM_SYSIBM, ZORATOM_BORROWED,
                                          reinterpret_cast<uintptr_t>(&table_), nullptr, nullptr));
    zortaskAddAtom(pselect, zoratomCreate(gapnameTotalToken[TOKEN_BACKUP], ZORATOM_OLIST, 0,
                                          reinterpret_cast<uintptr_t>(olistCreate(0, nullptr, nullptr)), nullptr,
                                          nullptr));
    zortaskAddSubTask(punload, pselect);
    gmapScripts[pselect] = s;
    gvOrder.push_back(pselect);
    return pselect;
  }

  /* The B/E lines of the log, tags replaced by the SELECT's position. */
  std::vector<std::string> Events()
  {
    std::map<std::string, std::string> mapTag;
    for (size_t i = 0; i < gvOrder.size(); i++)
      mapTag[std::to_string(reinterpret_cast<uintptr_t>(gvOrder[i]))] = std::to_string(i);
    std::vector<std::string> v;
    std::istringstream is(ReadText(gstrLog));
    std::string strLine;
    while (std::getline(is, strLine)) v.push_back(strLine.substr(0, 2) + mapTag[strLine.substr(2)]);
    return v;
  }

  /* The largest number of fake SELECT children that ran at once. */
  int MaxOverlap()
  {
    int iNow = 0, iMax = 0;
    for (const std::string &str : Events()) {
      iNow += str[0] == 'B' ? 1 : -1;
      iMax = std::max(iMax, iNow);
    }
    return iMax;
  }

  zavtestTempDir dir_;
  std::set<std::string> setShm_, setSem_;
  osysibmSystables table_;
  zortask *pglobal_ = nullptr;
  zorcontrol *pcontrol_ = nullptr;
};

TEST_F(Zorurun, ResultIsTheWorstCodeFirstOnATie)
{
  struct Case {
    const char *pcName;
    std::vector<int> vExit;
    int iExpected;
  } acases[] = {
      {"all clean", {0, 0, 0}, 0},
      {"first fails, second succeeds", {3, 0}, 3},
      {"later failures of the same severity do not replace the first", {0, 8, 5}, 8},
      {"a child's whole code arrives", {0x10da003}, 0x10da003},
      {"a later error replaces an earlier warning", {ZORURUN_RC_ROWSLOST, 0x10da003}, 0x10da003},
      {"a later warning does not replace an earlier error", {0x10da003, ZORURUN_RC_LOBCUT}, 0x10da003},
      {"a code whose low byte is 0 still fails the child", {0x10da100}, 0x10da100},
  };
  for (const Case &c : acases) {
    SCOPED_TRACE(c.pcName);
    TearDown();
    SetUp();
    Global(ZORURUN_LOCAL_YES, 1);
    int iDelay = 0;
    for (int iExit : c.vExit) {
      Script s;
      s.iExit = iExit;
      s.iSleepMs = iDelay += 5;
      Select(s);
    }
    EXPECT_EQ(c.iExpected, zorurunRun(pcontrol_));
    EXPECT_EQ(2 * c.vExit.size(), Events().size());
  }
}

TEST_F(Zorurun, PreparationFailureStopsOnlyThatSelect)
{
  Global(ZORURUN_LOCAL_YES, 2);
  zortask *pbad = Select(Script{});
  zoratomDestroy(zortaskRemoveAtom(pbad, gapnameTotalToken[TOKEN_SYSTABLE]));
  Script s;
  s.iExit = 4;
  Select(s);
  /* a SELECT in error (flag 1) is skipped without a code */
  zortask *perror = Select(Script{});
  perror->ulFlags = 1;
  EXPECT_EQ(ZORURUN_RC_TABLEDESC, zorurunRun(pcontrol_));
  /* only the second SELECT ran */
  EXPECT_EQ((std::vector<std::string>{"B 1", "E 1"}), Events());
}

TEST_F(Zorurun, MaxTaskLimitsConcurrentSelectChildren)
{
  struct Case {
    int32_t ilMaxTask;
    int iMaxOverlap;
  } acases[] = {{1, 1}, {0, 1}, {3, 3}};
  for (const Case &c : acases) {
    SCOPED_TRACE("MAXTASK " + std::to_string(c.ilMaxTask));
    TearDown();
    SetUp();
    Global(ZORURUN_LOCAL_YES, c.ilMaxTask);
    Script s;
    s.iSleepMs = 150;
    for (int i = 0; i < 3; i++) Select(s);
    EXPECT_EQ(0, zorurunRun(pcontrol_));
    EXPECT_EQ(6u, Events().size());
    if (c.iMaxOverlap == 1)
      EXPECT_EQ(1, MaxOverlap());
    else
      EXPECT_GE(MaxOverlap(), 2);  /* they overlap; how much depends on the scheduler */
  }
}

TEST_F(Zorurun, KilledChildrenGiveOneMessageAndOneSignalCode)
{
  Global(ZORURUN_LOCAL_YES, 3);
  Script sKill;
  sKill.iSignal = SIGKILL;
  Select(sKill);
  Select(sKill);
  Script sSlow;
  sSlow.iSleepMs = 300;
  Select(sSlow);
  int iRc = 0;
  std::vector<std::string> vMsgs = zavtestMessages([&] { iRc = zorurunRun(pcontrol_); });
  EXPECT_EQ(ZORURUN_RC_SIGNAL, iRc);
  EXPECT_EQ(std::vector<std::string>{"ZORU368E AN UNLOAD PROCESS FINISHED ABNORMALLY WITH SIGNAL 9\n"}, vMsgs);
  /* the main process does not terminate its other children */
  std::vector<std::string> vEvents = Events();
  EXPECT_EQ(6u, vEvents.size());
}

/* A SELECT child killed before it reports its status does not hold the run up. */
TEST_F(Zorurun, ChildEndingBeforeItsStatusIsNotWaitedFor)
{
  Global(ZORURUN_LOCAL_YES, 1);
  Script sDie;
  sDie.boDieFirst = true;
  Select(sDie);
  Select(Script{});
  int iRc = 0;
  std::vector<std::string> vMsgs = zavtestMessages([&] { iRc = zorurunRun(pcontrol_); });
  EXPECT_EQ(ZORURUN_RC_SIGNAL, iRc);
  EXPECT_EQ(std::vector<std::string>{"ZORU368E AN UNLOAD PROCESS FINISHED ABNORMALLY WITH SIGNAL 9\n"}, vMsgs);
  EXPECT_EQ((std::vector<std::string>{"B 1", "E 1"}), Events());
}

/*
** SIGTERM to the main process (here the test's own child) while its first
** SELECT child runs: the signal is sent on to that child, no other SELECT
** starts, and the run ends with the interruption's code, without ZORU368E.
*/
TEST_F(Zorurun, SignalToMainStopsTheRunAndReachesTheChildren)
{
  Global(ZORURUN_LOCAL_YES, 1);
  Script sFirst;
  sFirst.boStopMain = true;
  sFirst.iSleepMs = 20000;   /* ended by the signal sent on, long before */
  Select(sFirst);
  Select(Script{});
  Select(Script{});
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    alarm(30);
    osignalInstall();
    int iRc = 0;
    std::vector<std::string> vMsgs = zavtestMessages([&] { iRc = zorurunRun(pcontrol_); });
    EXPECT_EQ(OSIGNAL_RC_INTERRUPTED | SIGTERM, iRc);
    EXPECT_TRUE(vMsgs.empty()) << vMsgs.front();
    EXPECT_EQ(std::vector<std::string>{"B 0"}, Events());
    EXPECT_EQ(-1, waitpid(-1, nullptr, WNOHANG));
    std::fflush(nullptr);
    _exit(::testing::Test::HasFailure() ? 1 : 0);
  }
  int iStatus = -1;
  ASSERT_EQ(pid, waitpid(pid, &iStatus, 0));
  EXPECT_TRUE(WIFEXITED(iStatus) && WEXITSTATUS(iStatus) == 0) << "child wait status " << iStatus;
}

TEST_F(Zorurun, WaitTasksInSelectChildTerminatesSiblings)
{
  zorurun *prun = _zorurunCreate(pcontrol_, 3, 0, ZORURUN_LOCAL_YES, nullptr, nullptr, 1, nullptr);
  ASSERT_NE(nullptr, prun);
  pid_t pidKilled = fork();
  if (pidKilled == 0) {
    raise(SIGKILL);
    _exit(0);
  }
  pid_t pidSibling = fork();
  if (pidSibling == 0) {
    sleep(30);
    _exit(0);
  }
  pid_t pidExit = fork();
  if (pidExit == 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    _exit(7);
  }
  ASSERT_EQ(0, _zorurunAddChild(prun, pidKilled, 1));
  ASSERT_EQ(0, _zorurunAddChild(prun, pidSibling, 2));
  ASSERT_EQ(0, _zorurunAddChild(prun, pidExit, 1));
  EXPECT_EQ(4, prun->ilTasksLaunched);
  EXPECT_EQ(4, prun->ilTasksRunning);

  std::vector<int> vRc;
  std::vector<std::string> vMsgs = zavtestMessages([&] {
    while (prun->iDirectRunning > 0) vRc.push_back(_zorurunWaitTasks(prun));
  });
  /* first abnormal end: the code and SIGTERM to the siblings; the sibling's
  ** own SIGTERM end gives 0 and no message; an exit 7 without a reported
  ** code gives ZORURUN_RC_CHILD with its byte */
  ASSERT_EQ(3u, vRc.size());
  EXPECT_EQ(ZORURUN_RC_SIGNAL, vRc[0]);
  EXPECT_EQ(std::vector<std::string>{"ZORU368E AN UNLOAD PROCESS FINISHED ABNORMALLY WITH SIGNAL 9\n"}, vMsgs);
  std::multiset<int> setRest(vRc.begin() + 1, vRc.end());
  EXPECT_TRUE((setRest.count(0) == 1 && setRest.count(ZORURUN_RC_CHILD | 7) == 1) || setRest.count(0) == 2) << vRc[1] << " " << vRc[2];
  EXPECT_EQ(4, prun->ilTasksEnded);
  EXPECT_EQ(0, prun->ilTasksRunning);
  _zorurunDestroy(prun);
}

/* A node table: partition i on host avHosts[i]. */
std::vector<db2utilNode> Nodes(const std::vector<const char *> &vHosts)
{
  std::vector<db2utilNode> v(vHosts.size());
  for (size_t i = 0; i < vHosts.size(); i++) {
    v[i].iNode = static_cast<int32_t>(i);
    std::snprintf(v[i].acHost, sizeof(v[i].acHost), "%s", vHosts[i]);
  }
  return v;
}

TEST_F(Zorurun, StatusStreamCarriesRemoteStatesByHost)
{
  std::vector<db2utilNode> vNodes = Nodes({"local", "hosta", "hosta", "hostb"});
  zorurun *prun = _zorurunCreate(pcontrol_, 2, 4, ZORURUN_LOCAL_NO, nullptr, nullptr, 0, vNodes.data());
  ASSERT_NE(nullptr, prun);
  ASSERT_NE(nullptr, prun->pcharHost);
  Script s;
  s.ilTasks = 5;
  s.vRemote = {1, 2, 3};
  zortask *pselect = Select(s);
  int iRemote = 0;
  EXPECT_EQ(0, _zorurunRunSelect(prun, pselect, &iRemote));
  EXPECT_EQ(1, iRemote);
  EXPECT_EQ((std::vector<int32_t>{0, 1, 2, 1}), std::vector<int32_t>(prun->ailRemoteState, prun->ailRemoteState + 4));
  EXPECT_EQ(5, prun->ilTasksRunning);
  EXPECT_EQ(0, _zorurunWaitTasks(prun));
  EXPECT_EQ(0, prun->ilTasksRunning);

  /* a later SELECT reporting a host already launched: state 2 */
  prun->ailRemoteState[1] = prun->ailRemoteState[3] = ZORURUN_REMOTE_DONE;
  prun->ailRemoteState[2] = ZORURUN_REMOTE_NONE;
  EXPECT_EQ(1, _zorurunMarkRemote(prun, 2));
  EXPECT_EQ(ZORURUN_REMOTE_TAKEN, prun->ailRemoteState[2]);
  EXPECT_EQ(0, _zorurunMarkRemote(prun, 2));
  EXPECT_EQ(0, _zorurunMarkRemote(prun, 9));
  _zorurunDestroy(prun);
}

TEST_F(Zorurun, StatusStreamEndingEarlyIsNotTrusted)
{
  std::vector<db2utilNode> vNodes = Nodes({"a", "b"});
  zorurun *prun = _zorurunCreate(pcontrol_, 1, 2, ZORURUN_LOCAL_NO, nullptr, nullptr, 0, vNodes.data());
  ASSERT_NE(nullptr, prun);
  struct Case {
    const char *pcName;
    std::vector<int32_t> vRecords;
    int32_t ilTasks;
    std::vector<int32_t> vStates;
  } acases[] = {
      {"nothing", {}, 0, {0, 0}},
      {"remote count promises more than comes", {3, 2, 1, 1}, 3, {0, 1}},
      {"index outside the node table", {1, 1, 7, 1}, 1, {0, 0}},
  };
  for (const Case &c : acases) {
    SCOPED_TRACE(c.pcName);
    prun->ailRemoteState[0] = prun->ailRemoteState[1] = 0;
    int iErr = 0;
    ovf *povf = ovfCreate(ZORURUN_STATUS_LEN, 1, &iErr);
    ASSERT_NE(nullptr, povf);
    for (int32_t il : c.vRecords) ASSERT_EQ(0, ovfWrite(povf, &il, 4));
    ASSERT_EQ(0, ovfWrite(povf, nullptr, 0));
    int32_t ilTasks = -1;
    int iRemote = 0;
    EXPECT_EQ(0, _zorurunReadStatus(prun, povf, 1, &ilTasks, &iRemote));
    EXPECT_EQ(c.ilTasks, ilTasks);
    EXPECT_EQ(c.vStates, std::vector<int32_t>(prun->ailRemoteState, prun->ailRemoteState + 2));
    ovfDestroy(povf);
  }
  _zorurunDestroy(prun);
}

/* An instance home whose db2nodes.cfg lists the hosts, found through the
** configuration's insthomes item. */
class ZorurunNodes : public Zorurun {
 protected:
  void SetUp() override
  {
    Zorurun::SetUp();
    std::string strRoot = dir_.path;
    setenv("TOPZAV", (strRoot + "/topzav").c_str(), 1);
    std::filesystem::create_directories(strRoot + "/topzav/cfg");
    std::filesystem::create_directories(strRoot + "/home/sqllib");
    std::ofstream(strRoot + "/topzav/cfg/db2zav.cfg") << "insthomes=zavinst:" << strRoot << "/home\n";
    char acHost[ZORURUN_HOST_SIZE] = {0};
    gethostname(acHost, sizeof(acHost) - 1);
    if (char *pc = std::strchr(acHost, '.')) *pc = '\0';
    std::ofstream(strRoot + "/home/sqllib/db2nodes.cfg")
        << "0 " << acHost << " 0\n1 farhosta 0\n2 farhosta 1\n3 farhostb 0\n";
    ochar *pchar = Text("zavinst");
    zortaskAddAtom(pglobal_, zoratomCreate(gapnameTotalToken[TOKEN_INSTANCE_NAME], ZORATOM_OCHAR, 0,
                                           reinterpret_cast<uintptr_t>(pchar), nullptr, nullptr));
  }
  void TearDown() override
  {
    unsetenv("TOPZAV");
    Zorurun::TearDown();
  }
};

TEST_F(ZorurunNodes, RemoteHostsGetOneRunEachAcrossSelects)
{
  int iNodes = 0;
  db2utilNode *pnodes = db2utilGetNodes("zavinst", &iNodes);
  if (pnodes == nullptr || iNodes != 4) {
    std::free(pnodes);
    GTEST_SKIP() << "the node table of the test instance cannot be read here";
  }
  std::free(pnodes);
  Global(ZORURUN_LOCAL_NO, 2);
  Script s1;
  s1.vRemote = {1, 2, 3};
  Select(s1);
  Script s2;
  s2.vRemote = {2, 1};
  Select(s2);
  int iRc = 0;
  std::vector<std::string> vMsgs = zavtestMessages([&] { iRc = zorurunRun(pcontrol_); });
  EXPECT_EQ(0, iRc);
  /* one run per host; the two children run at the same time */
  std::multiset<std::string> setHosts;
  std::istringstream is(ReadText(gstrRemoteLog));
  for (std::string strLine; std::getline(is, strLine);) setHosts.insert(strLine);
  EXPECT_EQ((std::multiset<std::string>{"farhosta", "farhostb"}), setHosts);
  /* statistics close a successful originating run */
  ASSERT_EQ(1u, vMsgs.size());
  EXPECT_EQ(0u, vMsgs[0].rfind("ZORU41", 0)) << vMsgs[0];
}

TEST_F(ZorurunNodes, RemoteRunWithoutDaemonEndsWithSaveCode)
{
  /* the real remote-run child: no daemon listens on the loopback port */
  zorurunSetRemoteChildProc(nullptr);
  setenv("ZAV_DAEMON_PORT", "1", 1);
  std::ofstream(dir_.file("control.ctl")) << "UNLOAD TABLESPACE X\n";
  ochar *pcharSysin = Text(dir_.file("control.ctl").c_str());
  ochar *pcharArgs = Text("-f control.ctl --identity ");
  zorurunRemoteLaunch launch{nullptr, pcontrol_, "localhost", pcharSysin, pcharArgs};
  EXPECT_EQ(ZORURUN_RC_SAVEFILE, _zorurunRunRemoteChild(&launch));
  /* without a control file (-t) the child never reads */
  launch.pcharSysin = nullptr;
  EXPECT_EQ(ZORURUN_RC_SAVEFILE, _zorurunRunRemoteChild(&launch));
  unsetenv("ZAV_DAEMON_PORT");
  ocharDestroy(pcharSysin);
  ocharDestroy(pcharArgs);
}

TEST_F(Zorurun, FailedRunIssuesNoStatistics)
{
  Global(ZORURUN_LOCAL_NO, 1);
  Script s;
  s.iExit = 2;
  Select(s);
  std::vector<std::string> vMsgs;
  int iRc = 0;
  vMsgs = zavtestMessages([&] { iRc = zorurunRun(pcontrol_); });
  EXPECT_EQ(2, iRc);
  EXPECT_TRUE(vMsgs.empty()) << vMsgs[0];
}

/* ------------------------------------------------------------------ preparation */

zoratom *Col(int iToken, uint16_t usType, int32_t iDb2Number, uint16_t usFlags)
{
  zorcol *pcol = zorcolCreate(nullptr, 1, nullptr, usFlags);
  pcol->iType = usType;
  pcol->iSubType = 4;
  pcol->iLength = 4;
  pcol->iDb2Number = iDb2Number;
  return zoratomCreate(gapnameTotalToken[iToken], ZORATOM_ZORCOL, 0, reinterpret_cast<uintptr_t>(pcol), nullptr,
                       nullptr);
}

class ZorurunPrepare : public Zorurun {
 protected:
  /* An output column reading DB2 column iDb2Number as INTEGER into DEL. */
  void Output(zortask *pselect, int32_t iDb2Number, uint16_t usTarget = 0xB002)
  {
    zortask *pcol = zortaskCreateNamed(nullptr);
    zortaskAddAtom(pcol, Col(TOKEN_SOURCECOL, 0x0002, iDb2Number, ZORCOL_VAR));
    zortaskAddAtom(pcol, Col(TOKEN_COL, usTarget, -1, 0));
    zortaskAddAtom(pcol, zoratomCreate(gapnameTotalToken[TOKEN_COREDATA], ZORATOM_COREDATA, ZORATOM_BORROWED,
                                       reinterpret_cast<uintptr_t>(cores_.make(ZORUCORE_FLAG_SEP)), nullptr,
                                       nullptr));
    zortaskAddSubTask(pselect, pcol);
  }

  /* INTEGER at 0, CLOB descriptor at 4, LONG VARCHAR descriptor at 64. */
  void Describe()
  {
    desc_.pcolumns = acol_;
    desc_.sColumnCount = 3;
    acol_[0] = {0, 496, 4, 0, 0, -1, 0};
    acol_[1] = {1, 265, 60, 1, 4, 64, 0};
    acol_[2] = {2, 260, 12, 0, 65, -1, 0};
  }

  ucoreCores cores_;
  ficdataTableDesc desc_{};
  ficdataColumnDesc acol_[3];
};

TEST_F(ZorurunPrepare, ConverterReadsColumnsAtTheirRecordOffsets)
{
  Describe();
  zortask *pselect = Select(Script{});
  Output(pselect, 2);
  Output(pselect, 0);
  EXPECT_EQ(0, _zorurunPrepareConvert(pcontrol_, pselect, &desc_));
  /* only the columns the output reads are marked; a long field sets 0x20 */
  EXPECT_EQ(1, acol_[0].sUsed);
  EXPECT_EQ(0, acol_[1].sUsed);
  EXPECT_EQ(1, acol_[2].sUsed);
  EXPECT_EQ(static_cast<uint32_t>(ZORURUN_SELFLAG_LONG), pselect->ulFlags);
  zoratom *patom = zortaskDetermineAtom(pselect, gapnameTotalToken[TOKEN_CONVERTER]);
  ASSERT_NE(nullptr, patom);
  oconvert *pconvert = patom->value.pconvert;
  ASSERT_EQ(2, pconvert->prowSource->iCount);
  EXPECT_EQ(65, pconvert->prowSource->pcoldef[0].sOffset);
  EXPECT_EQ(0, pconvert->prowSource->pcoldef[1].sOffset);
  EXPECT_EQ(-1, pconvert->prowTarget->pcoldef[0].sOffset);

  /* a LOB column sets 0x40 */
  zortask *plob = Select(Script{});
  Output(plob, 1);
  EXPECT_EQ(0, _zorurunPrepareConvert(pcontrol_, plob, &desc_));
  EXPECT_EQ(static_cast<uint32_t>(ZORURUN_SELFLAG_LOB), plob->ulFlags);
}

TEST_F(ZorurunPrepare, ConverterWithoutFunctionFailsTheSelect)
{
  Describe();
  zortask *pselect = Select(Script{});
  Output(pselect, 0, 0x7777);
  EXPECT_EQ(ZORURUN_RC_CONVERTER, _zorurunPrepareConvert(pcontrol_, pselect, &desc_));
  EXPECT_EQ(nullptr, zortaskDetermineAtom(pselect, gapnameTotalToken[TOKEN_CONVERTER]));
}

TEST_F(ZorurunPrepare, NoPartitionToUnloadGivesNoDataFound)
{
  /* a table-space record of partition 3 that the PART set leaves out, and
  ** one of partition 0 whose containers cannot be read */
  std::vector<ficcont> vrec(2);
  std::memset(vrec.data(), 0, sizeof(ficcont) * 2);
  vrec[0].ilPart = 3;
  vrec[0].ilType = FICCONT_TYPE_SMS;
  vrec[1].ilPart = 0;
  vrec[1].ilType = 7;               /* neither SMS nor DMS */
  vrec[0].pitemNext = &vrec[1];
  olist *plist = olistCreate(0, nullptr, nullptr);
  plist->pitemTop = &vrec[0];
  plist->pitemBottom = &vrec[1];
  plist->iItemCount = 2;
  obf *pobf = obfCreate(8);
  obfSet(pobf, 0);
  obfSet(pobf, 1);

  for (bool boWithZero : {false, true}) {
    SCOPED_TRACE(boWithZero ? "partition 0 fails" : "no partition in the set");
    if (!boWithZero) obfClear(pobf, 0);
    else obfSet(pobf, 0);
    zortask *pselect = zortaskCreateNamed(gapnameTotalToken[TOKEN_SELECT]);
    zortaskAddAtom(pselect, zoratomCreate(gapnameTotalToken[TOKEN_SYSTABLE], ZORATOM_SYSIBM, ZORATOM_BORROWED,
                                          reinterpret_cast<uintptr_t>(&table_), nullptr, nullptr));
    zortaskAddAtom(pselect, zoratomCreate(gapnameTotalToken[TOKEN_CONTAINERS], ZORATOM_OLIST, ZORATOM_BORROWED,
                                          reinterpret_cast<uintptr_t>(plist), nullptr, nullptr));
    zortaskAddAtom(pselect, zoratomCreate(gapnameTotalToken[TOKEN_PART], ZORATOM_OBF, ZORATOM_BORROWED,
                                          reinterpret_cast<uintptr_t>(pobf), nullptr, nullptr));
    zortaskAddAtom(pselect, zoratomCreate(gapnameTotalToken[TOKEN_TBQUALIFIER], ZORATOM_OCHAR, 0,
                                          reinterpret_cast<uintptr_t>(Text("ADM")), nullptr, nullptr));
    zortaskAddAtom(pselect, zoratomCreate(gapnameTotalToken[TOKEN_TBNAME], ZORATOM_OCHAR, 0,
                                          reinterpret_cast<uintptr_t>(Text("EMPLOYEE")), nullptr, nullptr));
    int iRc = 0;
    std::vector<std::string> vMsgs = zavtestMessages([&] { iRc = _zorurunPrepareSelect(pcontrol_, pselect); });
    EXPECT_EQ(ZORURUN_RC_NOPART, iRc);
    ASSERT_FALSE(vMsgs.empty());
    EXPECT_EQ("ZORU357E NO DATA FOUND FOR THE TABLE ADM.EMPLOYEE ON SPECIFIED PARTITIONS\n", vMsgs.back());
    EXPECT_EQ(nullptr, zortaskDetermineAtom(pselect, gapnameTotalToken[TOKEN_PARTS_TAKEN]));
    zortaskDestroy(pselect);
  }
  obfDestroy(pobf);
  plist->pitemTop = plist->pitemBottom = nullptr;
  plist->iItemCount = 0;
  olistDestroy(plist);
}

TEST_F(ZorurunPrepare, RealSelectChildWithoutWorkItemsEndsClean)
{
  /* the real SELECT child: a backup SELECT whose PART set matches no entry
  ** reports its processes and ends; the run's result is its exit byte */
  zorurunSetSelectChildProc(nullptr);
  Global(ZORURUN_LOCAL_YES, 1);
  Describe();
  zortask *pselect = Select(Script{});
  Output(pselect, 0);
  ASSERT_EQ(0, _zorurunPrepareConvert(pcontrol_, pselect, &desc_));
  int iRc = -1;
  std::vector<std::string> vMsgs = zavtestMessages([&] { iRc = zorurunRun(pcontrol_); });
  EXPECT_EQ(0, iRc);
  zoratom *patom = zortaskDetermineAtom(pselect, gapnameTotalToken[TOKEN_PARTS_TAKEN]);
  ASSERT_NE(nullptr, patom);
  EXPECT_EQ(0, patom->value.plist->iItemCount);
}

TEST_F(ZorurunPrepare, WhereColumnsAreBoundToTheRecordLayout)
{
  /* WHERE col2 = col0, over a COLTABLE of the three columns */
  Describe();
  zortask *pselect = Select(Script{});
  ochaine *pchaine = ochaineCreate(0, nullptr, zorcolDestroyChaineItem);
  for (int32_t i = 0; i < 3; i++) {
    zorcol *pcol = zorcolCreate(nullptr, i + 1, nullptr, ZORCOL_VAR);
    pcol->iDb2Number = i;
    pcol->iType = 0x0002;
    pcol->iLength = 4;
    ochaineAppend(pchaine, pcol);
  }
  zortaskAddAtom(pselect, zoratomCreate(gapnameTotalToken[TOKEN_COLTABLE], ZORATOM_OCHAINE, 0,
                                        reinterpret_cast<uintptr_t>(pchaine), nullptr, nullptr));
  auto colnode = [](int32_t iDb2Number) {
    zorcol *pcol = zorcolCreate(nullptr, 0, nullptr, ZORCOL_VAR);
    pcol->iDb2Number = iDb2Number;
    return zornodeCreate(ZORNODE_VAR, 2, pcol, nullptr, 0, nullptr, nullptr);
  };
  zornode *pleft = colnode(2);
  zornode *pright = colnode(0);
  zornode *pwhere = zornodeCreate(ZORNODE_OPRT, NODE_EQU_OP, pleft, pright, 0, nullptr, nullptr);
  zortaskAddAtom(pselect, zoratomCreate(gapnameTotalToken[TOKEN_WHERE], ZORATOM_ZORNODE, 0,
                                        reinterpret_cast<uintptr_t>(pwhere), nullptr, nullptr));

  EXPECT_EQ(0, _zorurunPrepareWhere(pcontrol_, pselect, &desc_));
  ASSERT_TRUE(pleft->usStatus & NODE_SUBS);
  ASSERT_TRUE(pright->usStatus & NODE_SUBS);
  auto *pdefLeft = static_cast<rowColDef *>(pleft->pLeft);
  auto *pdefRight = static_cast<rowColDef *>(pright->pLeft);
  EXPECT_EQ(65, pdefLeft->sOffset);
  EXPECT_EQ(-1, pdefLeft->sNullOffset);
  EXPECT_EQ(0, pdefRight->sOffset);
  EXPECT_EQ(0x0002, pdefRight->iType);
  /* the bound definitions live with the tree for the process's life */
  std::free(pdefLeft);
  std::free(pdefRight);

  /* without WHERE nothing is done */
  zortask *pplain = Select(Script{});
  EXPECT_EQ(0, _zorurunPrepareWhere(pcontrol_, pplain, &desc_));
}

}  // namespace

/*
** A partition's run on another host: the status its daemon answered decides
** the code of the remote-run child, so that a failure there is never a
** success here, and a warning there stays the same warning.
*/
TEST(ZorurunRemote, TheOtherHostsStatusIsTheChildsCode)
{
  struct Case {
    const char *pcName;
    int iStatus;
    int iExpected;
  } acases[] = {
      {"ended well", 0, 0},
      {"the daemon failed the request or did not answer", -1, ZORURUN_RC_REMOTE},
      {"rows left out there", oreasonExitStatus(ZORURUN_RC_ROWSLOST), ZORURUN_RC_ROWSLOST},
      {"characters replaced there", oreasonExitStatus(ZORURUN_RC_REPLACED), ZORURUN_RC_REPLACED},
      {"an error there", 8, ZORURUN_RC_REMOTERUN | 8},
      {"a status whose byte is a signal's", 143, ZORURUN_RC_REMOTERUN | 143},
  };
  for (const Case &c : acases) {
    SCOPED_TRACE(c.pcName);
    int iRc = _zorurunRemoteResult("hostb", c.iStatus, "No answer within 5 seconds");
    EXPECT_EQ(c.iExpected, iRc);
    if (c.iStatus > 0) {
      EXPECT_EQ(c.iStatus, oreasonExitStatus(iRc));
    }
  }
}
