/*
** interrupt_test.cpp
**   The whole program, as a subprocess, stopped in the middle of an unload
**   that holds its table quiesced (tests/driver/stoprun.h):
**     - SIGINT, SIGTERM and SIGHUP to the process group, and SIGTERM to the
**       main process alone: the run ends at once with ZORU495E naming the
**       signal and exit status 128 + its number, no process of the run is
**       left, nor any SysV object of it, nor the table's quiesce;
**     - `timeout` ending the run: the same;
**     - every SysV object of a running unload admits its owner and group
**       only;
**     - SIGKILL of the main process alone: its processes and objects go, the
**       quiesce stays (but for a race the reader may win), and the next
**       ordinary run of the same unload succeeds and releases it.
**   One instance serves every case, one run after the other.
*/
#include <gtest/gtest.h>

#include <memory>

#include "common/oreason.h"
#include "common/osignal.h"
#include "tests/driver/stoprun.h"

namespace {

using stoprun::HeldRun;

class Interrupt : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { gpinst = std::make_unique<procinst::Instance>(stoprun::kPages); }
  static void TearDownTestSuite() { gpinst.reset(); }
  void SetUp() override { ASSERT_TRUE(gpinst->boOk) << gpinst->strError; }

  static std::unique_ptr<procinst::Instance> gpinst;
};

std::unique_ptr<procinst::Instance> Interrupt::gpinst;

/* What every run a signal ended must show: its tree gone, its objects gone, its table no longer quiesced. */
void _expectNothingLeft(HeldRun &run)
{
  EXPECT_TRUE(run.TreeGone(20)) << "a process of the run is left";
  procinst::SysvObjects left = run.Left(20);
  EXPECT_TRUE(left.empty()) << stoprun::Describe(left);
  EXPECT_EQ(stoprun::QuiesceRows(run.inst), 0) << "the table is left quiesced";
}

/* The message that ends an interrupted run, with the signal's number and name. */
void _expectInterrupted(const std::string &strSysprint, int iSignal, const char *pcName)
{
  std::string strSignal = "SIGNAL " + std::to_string(iSignal) + " (" + pcName + ")";
  size_t ulAt = strSysprint.find("ZORU495E");
  ASSERT_NE(ulAt, std::string::npos) << strSysprint;
  EXPECT_NE(strSysprint.find(strSignal, ulAt), std::string::npos) << strSysprint;
  /* the signal the run sent on to its processes is no abnormal end of theirs */
  EXPECT_EQ(strSysprint.find("ZORU368E"), std::string::npos) << strSysprint;
  EXPECT_EQ(strSysprint.find("ZORU412I"), std::string::npos) << strSysprint;
}

TEST_F(Interrupt, ASignalToTheGroupOrToMainEndsTheRunAndLeavesNothing)
{
  const struct {
    const char *pcName;
    int iSignal;
    bool boGroup;   /* to the process group, else to the main process alone */
  } aCases[] = {
      {"SIGINT", SIGINT, true},
      {"SIGTERM", SIGTERM, true},
      {"SIGHUP", SIGHUP, true},
      {"SIGTERM", SIGTERM, false},
  };
  for (const auto &c : aCases) {
    SCOPED_TRACE(std::string(c.pcName) + (c.boGroup ? " to the group" : " to main"));
    HeldRun run(*gpinst);
    std::string strWhy;
    ASSERT_TRUE(run.WaitUp(&strWhy)) << strWhy;
    EXPECT_FALSE(run.objects.setMsg.empty());
    EXPECT_FALSE(run.objects.setSem.empty());

    /* every object of the run: owner and group, never the others */
    const std::vector<std::pair<const char *, std::set<long long>>> vObjects = {
        {"shm", run.objects.setShm}, {"sem", run.objects.setSem}, {"msg", run.objects.setMsg}};
    for (const auto &[pcKind, set] : vObjects)
      for (long long ll : set) {
        int iPerms = stoprun::Perms(pcKind, ll);
        if (iPerms < 0) continue;   /* already removed: a status channel's set */
        EXPECT_EQ(iPerms & ~0660, 0) << pcKind << " " << ll << " has mode 0" << std::oct << iPerms;
      }

    ASSERT_EQ(kill(c.boGroup ? -run.pid : run.pid, c.iSignal), 0);
    int iStatus = run.Wait(30);
    std::string strSysprint = run.Sysprint();
    ASSERT_NE(iStatus, -1) << "the run did not end\n" << strSysprint;
    EXPECT_EQ(iStatus, oreasonExitStatus(OSIGNAL_RC_INTERRUPTED | c.iSignal)) << strSysprint;
    EXPECT_EQ(iStatus, 128 + c.iSignal) << strSysprint;
    _expectInterrupted(strSysprint, c.iSignal, c.pcName);
    EXPECT_NE(strSysprint.find("ZORU366I"), std::string::npos) << strSysprint;
    _expectNothingLeft(run);
  }
}

/*
** `timeout` sends SIGTERM to the program, then to its whole group, and exits
** 124.  Its time runs out here once the run is up: its alarm is the signal
** it waits for, sent to it then (a fixed time could run out before a run
** on a busy machine is up).
*/
TEST_F(Interrupt, TimeoutEndsTheRunAndLeavesNothing)
{
  HeldRun run(*gpinst, {"timeout", "600"});
  std::string strWhy;
  ASSERT_TRUE(run.WaitUp(&strWhy)) << strWhy;
  ASSERT_NE(run.pidMain, run.pid) << "db2zav runs under timeout";
  ASSERT_EQ(kill(run.pid, SIGALRM), 0);
  int iStatus = run.Wait(30);
  std::string strSysprint = run.Sysprint();
  ASSERT_NE(iStatus, -1) << "the run did not end\n" << strSysprint;
  EXPECT_EQ(iStatus, 124) << strSysprint;
  _expectInterrupted(strSysprint, SIGTERM, "SIGTERM");
  char acReason[64];
  std::snprintf(acReason, sizeof acReason, "(REASON CODE 0x%x)", OSIGNAL_RC_INTERRUPTED | SIGTERM);
  EXPECT_NE(strSysprint.find(acReason), std::string::npos) << strSysprint;
  _expectNothingLeft(run);
}

/*
** SIGKILL of the main process alone: the message centre removes the run's
** objects and every process ends with its parent; the quiesce the reader
** held stays (unless the reader ends its read first) until the next run
** of the table, which succeeds.
*/
TEST_F(Interrupt, SigkillOfMainThenTheNextRunSucceedsAndReleasesTheQuiesce)
{
  {
    HeldRun run(*gpinst);
    std::string strWhy;
    ASSERT_TRUE(run.WaitUp(&strWhy)) << strWhy;
    ASSERT_EQ(kill(run.pid, SIGKILL), 0);
    run.Reap();
    EXPECT_TRUE(run.TreeGone(20)) << "a process of the run is left";
    procinst::SysvObjects left = run.Left(20);
    EXPECT_TRUE(left.empty()) << stoprun::Describe(left);
    /* the quiesce is the next run's to clear, unless the reader's read ended on the channels the
       message centre removed and it released the quiesce before the kill of its parent reached it */
    EXPECT_LE(stoprun::QuiesceRows(*gpinst), 1) << "a quiesce of the killed run is left twice";
  }

  procinst::Program again(*gpinst, stoprun::Control("again.del"));
  int iStatus = again.Wait();
  std::string strSysprint = again.Sysprint();
  EXPECT_EQ(iStatus, 0) << strSysprint;
  EXPECT_NE(strSysprint.find("ZORU412I"), std::string::npos) << strSysprint;
  EXPECT_EQ(stoprun::QuiesceRows(*gpinst), 0);
  EXPECT_GT(zavtestReadFile(gpinst->dir.path + "/run/again.del").size(), 0u);
}

}  // namespace
