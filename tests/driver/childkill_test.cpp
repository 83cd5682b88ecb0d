/*
** childkill_test.cpp
**   The whole program, as a subprocess, on the sample's DOCS (long fields
**   and LOBs, into LOB files) while one process below a reader is killed
**   outright: the long-field child, the LOB child, or the record reader
**   that asks them.  The record reader is held (SIGSTOP) while its child
**   is killed, then goes on.  The run must end (no writer left waiting for
**   a producer that is gone), fail with ZORU368E naming the signal, never
**   say success, and leave no process, no SysV object and no quiesce.
**   One sample instance serves every case.
*/
#include <gtest/gtest.h>

#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/driver/stoprun.h"
#include "tests/run/procinst.h"
#include "tests/zavproc.h"
#include "tests/zavtest.h"

namespace {

class ChildKill : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { gstrDir = zavprocBuildSample("/tmp/childkill_testXXXXXX", false); }
  static void TearDownTestSuite()
  {
    std::error_code ec;
    if (!gstrDir.empty()) std::filesystem::remove_all(gstrDir, ec);
  }
  void SetUp() override { ASSERT_FALSE(gstrDir.empty()) << "the sample instance was not built"; }

  static std::string gstrDir;
};

std::string ChildKill::gstrDir;

/* Quiesce registrations of the sample's database store (partition 0); -1 when it cannot be read. */
int _quiesceRows(const std::string &strDir)
{
  return stoprun::QuiesceRowsOf(strDir + "/sample/data/zavinst/NODE0000/SQL00001/main.db");
}

TEST_F(ChildKill, ADeadLongDataChildOrRecordReaderFailsTheRunAndLeavesNothing)
{
  const struct {
    const char *pcVictim;
    int iChild;   /* the record reader's child killed (0 long-field, 1 LOB), -1: the record reader itself */
  } aCases[] = {{"long-field child", 0}, {"LOB child", 1}, {"record reader", -1}};
  const std::string strRun = gstrDir + "/run";
  std::filesystem::create_directories(strRun);
  std::ofstream(strRun + "/docs.ctl") << "GLOBAL CONNECT TO SAMPLE LOCK YES QUIESCE YES ;\n"
                                         "UNLOAD TABLESPACE DMSDATA\n  SELECT * FROM ZAVTEST.DOCS ;\n"
                                         "  OUTPUT(\"docs.del\")\n  LOBFILE(\"docs_lob\")\n  FORMAT DEL\n;\n";
  for (const auto &c : aCases) {
    SCOPED_TRACE(c.pcVictim);
    zavprocSpec spec;
    spec.vArgv = {ZAV_BINARY_DIR "/driver/db2zav", "-f", "docs.ctl"};
    spec.mEnv = {{"PATH", "/usr/bin:/bin"}, {"LANG", "C"}, {"TOPZAV", gstrDir + "/sample/topzav"},
                 {"ZAVDB2_INSTHOME", gstrDir + "/sample/home"}, {"DB2INSTANCE", "zavinst"},
                 {"ASAN_OPTIONS", "detect_leaks=0"}};
    spec.strCwd = strRun;
    spec.strOutFile = strRun + "/sysprint";
    spec.boNewGroup = true;
    pid_t pid = zavprocSpawn(spec);
    ASSERT_GT(pid, 0);

    /* main -> SELECT child -> reader -> record reader -> long-field and LOB children */
    pid_t pidRecord = -1;
    std::vector<pid_t> vLong;
    std::set<pid_t> setTree;
    procinst::SysvObjects objects;
    auto tpEnd = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (pidRecord < 0 && std::chrono::steady_clock::now() < tpEnd && waitpid(pid, nullptr, WNOHANG) == 0) {
      /* the children of each process of the chain only: a scan of every
         process of a busy machine is too slow for the record reader's life */
      auto children = [](pid_t p) {
        std::vector<pid_t> v;
        std::istringstream is(
            procinst::ProcText("/proc/" + std::to_string(p) + "/task/" + std::to_string(p) + "/children"));
        for (pid_t pc; is >> pc;) v.push_back(pc);
        return v;
      };
      for (pid_t pidSelect : children(pid))
        for (pid_t pidReader : children(pidSelect))
          for (pid_t pidRr : children(pidReader)) {
            std::vector<pid_t> v = children(pidRr);
            if (v.size() != 2) continue;
            kill(pidRr, SIGSTOP);
            pidRecord = pidRr;
            vLong = v;
          }
    }
    ASSERT_GT(pidRecord, 0) << "the record reader was not seen with its two children\n"
                            << zavtestReadText(spec.strOutFile);
    setTree = procinst::Tree(pid);
    objects = procinst::Objects(pid, setTree);
    std::sort(vLong.begin(), vLong.end());   /* forked in order: long-field child first */
    usleep(50000);
    kill(c.iChild < 0 ? pidRecord : vLong[static_cast<size_t>(c.iChild)], SIGKILL);
    usleep(300000);
    kill(pidRecord, SIGCONT);

    int iStatus = -1;
    bool boEnded = zavprocWaitOrKill(pid, 60000, &iStatus);
    std::string strOut = zavtestReadText(spec.strOutFile);
    ASSERT_TRUE(boEnded) << "the run still waits a minute after its process died\n" << strOut;
    ASSERT_TRUE(WIFEXITED(iStatus)) << strOut;
    EXPECT_NE(WEXITSTATUS(iStatus), 0) << strOut;
    EXPECT_NE(strOut.find("ZORU368E AN UNLOAD PROCESS FINISHED ABNORMALLY WITH SIGNAL 9"), std::string::npos) << strOut;
    EXPECT_EQ(strOut.find("ZORU412I"), std::string::npos) << strOut;
    EXPECT_NE(strOut.find("ZORU366I"), std::string::npos) << strOut;

    bool boGone = false;
    for (int i = 0; i < 2000 && !boGone; i++) {
      boGone = true;
      for (pid_t p : setTree)
        if (procinst::Alive(p)) boGone = false;
      if (!boGone) usleep(10000);
    }
    EXPECT_TRUE(boGone) << "a process of the run is left";
    procinst::SysvObjects left = procinst::Left(objects);
    EXPECT_TRUE(left.empty()) << left.setShm.size() << " segments, " << left.setSem.size() << " semaphore sets, "
                              << left.setMsg.size() << " queues left";
    EXPECT_EQ(_quiesceRows(gstrDir), 0) << "the table is left quiesced";
  }
}

}  // namespace
