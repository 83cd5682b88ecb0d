/*
** leftover_test.cpp
**   A run killed outright with all its processes (SIGKILL to its process
**   group: nothing of it can clean up) leaves its semaphore sets, its
**   message queue and the registry segment that lists them, but no channel
**   segment; the next ordinary run of the same unload removes them, says so
**   (ZORI161I naming the earlier run's main process), clears the quiesce
**   the killed reader held, and succeeds.
**   The next run removes the leftovers of every earlier run it finds, so
**   this test runs alone (tests/CMakeLists.txt).
*/
#include <gtest/gtest.h>

#include "tests/driver/stoprun.h"

namespace {

TEST(Leftover, AGroupKilledOutrightIsClearedByTheNextRun)
{
  procinst::Instance inst(stoprun::kPages);
  ASSERT_TRUE(inst.boOk) << inst.strError;

  procinst::SysvObjects objects;
  pid_t pidMain = -1;
  {
    stoprun::HeldRun run(inst);
    std::string strWhy;
    ASSERT_TRUE(run.WaitUp(&strWhy)) << strWhy;
    ASSERT_EQ(kill(-run.pid, SIGKILL), 0);
    run.Reap();
    ASSERT_TRUE(run.TreeGone(20)) << "a process of the run is left";
    objects = run.objects;
    pidMain = run.pidMain;
    /* what only a later run can remove: the channels' segments went with their last user */
    procinst::SysvObjects left = procinst::Left(objects);
    EXPECT_EQ(left.setMsg.size(), 1u) << stoprun::Describe(left);
    EXPECT_FALSE(left.setSem.empty()) << stoprun::Describe(left);
    EXPECT_EQ(left.setShm.size(), 1u) << "the registry segment alone: " << stoprun::Describe(left);
    EXPECT_EQ(stoprun::QuiesceRows(inst), 1);
    run.objects = procinst::SysvObjects();   /* left for the next run to find */
  }

  procinst::Program next(inst, stoprun::Control("next.del"));
  int iStatus = next.Wait();
  std::string strSysprint = next.Sysprint();
  EXPECT_EQ(iStatus, 0) << strSysprint;
  EXPECT_NE(strSysprint.find("ZORI161I AN EARLIER RUN (PROCESS " + std::to_string(pidMain) + ")"), std::string::npos)
      << strSysprint;
  procinst::SysvObjects left = procinst::Left(objects);
  EXPECT_TRUE(left.empty()) << stoprun::Describe(left);
  EXPECT_EQ(stoprun::QuiesceRows(inst), 0);

  /* nothing is left of the killed run, whatever this test found */
  for (long long ll : left.setShm) shmctl(static_cast<int>(ll), IPC_RMID, nullptr);
  for (long long ll : left.setSem) semctl(static_cast<int>(ll), 0, IPC_RMID);
  for (long long ll : left.setMsg) msgctl(static_cast<int>(ll), IPC_RMID, nullptr);
}

}  // namespace
