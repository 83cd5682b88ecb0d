/*
** osignal_test.cpp
**   The signals that stop a run: the first one is noted and sent on to the
**   children forked through osignalFork (also to one forked after it), a
**   blocking call returns EINTR instead of going on, the children start
**   with the actions the program started with, and a signal the program
**   was started with ignored stays ignored.  Every scenario runs in a forked
**   child, so that the test process keeps its own actions.
*/
#include "common/osignal.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>

#include <sys/wait.h>
#include <unistd.h>

#include "common/oreason.h"

namespace {

/* Runs f in a forked child under an alarm; the child's wait status. */
template <class F>
int runChild(F f)
{
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    alarm(20);
    f();
    std::fflush(nullptr);
    _exit(::testing::Test::HasFailure() ? 1 : 0);
  }
  int iStatus = -1;
  waitpid(pid, &iStatus, 0);
  return iStatus;
}

#define EXPECT_CHILD_OK(status) \
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child wait status " << (status)

/* The handler of a signal in this process. */
void (*_handler(int iSignal))(int)
{
  struct sigaction sa {};
  sigaction(iSignal, nullptr, &sa);
  return sa.sa_handler;
}

/* A child of osignalFork that waits to be ended; its wait status once reaped. */
pid_t _forkWaiting(void)
{
  pid_t pid = osignalFork();
  if (pid == 0) {
    for (;;) pause();
  }
  return pid;
}

TEST(osignal, TheFirstSignalIsNotedAndSentOnToEveryChild)
{
  EXPECT_CHILD_OK(runChild([] {
    ASSERT_EQ(osignalInstall(), 0);
    EXPECT_EQ(osignalCaught(), 0);
    EXPECT_EQ(osignalReason(), 0);

    /* a child starts as the program started: no note, the default actions */
    pid_t pidProbe = osignalFork();
    if (pidProbe == 0)
      _exit(osignalCaught() == 0 && _handler(SIGTERM) == SIG_DFL && _handler(SIGINT) == SIG_DFL ? 0 : 1);
    int iStatus = -1;
    waitpid(pidProbe, &iStatus, 0);
    osignalForget(pidProbe);
    EXPECT_TRUE(WIFEXITED(iStatus) && WEXITSTATUS(iStatus) == 0) << iStatus;

    pid_t pidA = _forkWaiting();
    pid_t pidB = _forkWaiting();
    ASSERT_GT(pidA, 0);
    ASSERT_GT(pidB, 0);
    kill(getpid(), SIGHUP);
    kill(getpid(), SIGINT);   /* a later signal does not change the note */
    EXPECT_EQ(osignalCaught(), SIGHUP);
    int iReason = osignalReason();
    EXPECT_EQ(iReason, OSIGNAL_RC_INTERRUPTED | SIGHUP);
    EXPECT_EQ(oreasonExitStatus(iReason), 128 + SIGHUP);
    EXPECT_EQ(oreasonReturnCode(iReason), 8);
    EXPECT_EQ(osignalIsInterrupted(iReason), 1);
    EXPECT_EQ(osignalIsInterrupted(OSIGNAL_RC_INTERRUPTED & ~0x8000), 0);
    EXPECT_EQ(osignalIsInterrupted(0), 0);
    EXPECT_STREQ(osignalName(SIGHUP), "SIGHUP");

    for (pid_t pid : {pidA, pidB}) {
      waitpid(pid, &iStatus, 0);
      osignalForget(pid);
      EXPECT_TRUE(WIFSIGNALED(iStatus) && WTERMSIG(iStatus) == SIGHUP) << "child " << pid << " status " << iStatus;
    }
    /* a child forked once the run is stopping gets the signal at once */
    pid_t pidLate = _forkWaiting();
    waitpid(pidLate, &iStatus, 0);
    EXPECT_TRUE(WIFSIGNALED(iStatus) && WTERMSIG(iStatus) == SIGHUP) << iStatus;
  }));
}

TEST(osignal, ABlockingCallReturnsInsteadOfGoingOn)
{
  EXPECT_CHILD_OK(runChild([] {
    ASSERT_EQ(osignalInstall(), 0);
    int aiPipe[2];
    ASSERT_EQ(pipe(aiPipe), 0);
    pid_t pidSelf = getpid();
    pid_t pid = fork();
    if (pid == 0) {
      usleep(100000);
      kill(pidSelf, SIGTERM);
      _exit(0);
    }
    char c;
    errno = 0;
    EXPECT_EQ(read(aiPipe[0], &c, 1), -1);   /* nobody writes: only the signal ends the read */
    EXPECT_EQ(errno, EINTR);
    EXPECT_EQ(osignalCaught(), SIGTERM);
    waitpid(pid, nullptr, 0);
  }));
}

TEST(osignal, ASignalIgnoredAtTheStartStaysIgnored)
{
  EXPECT_CHILD_OK(runChild([] {
    signal(SIGHUP, SIG_IGN);   /* as nohup starts a program */
    ASSERT_EQ(osignalInstall(), 0);
    EXPECT_EQ(_handler(SIGHUP), SIG_IGN);
    EXPECT_NE(_handler(SIGTERM), SIG_DFL);
    kill(getpid(), SIGHUP);
    EXPECT_EQ(osignalCaught(), 0);
    pid_t pid = osignalFork();
    if (pid == 0) _exit(_handler(SIGHUP) == SIG_IGN && _handler(SIGTERM) == SIG_DFL ? 0 : 1);
    int iStatus = -1;
    waitpid(pid, &iStatus, 0);
    EXPECT_TRUE(WIFEXITED(iStatus) && WEXITSTATUS(iStatus) == 0) << iStatus;
  }));
}

}  // namespace
