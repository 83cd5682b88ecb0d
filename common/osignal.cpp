/*
** osignal.cpp
**   The handlers of SIGINT, SIGTERM and SIGHUP and the list of children a
**   caught signal is sent on to (see osignal.h for the states and the
**   invariants).  The handler does only what is safe in a handler: it keeps
**   the first signal's number and calls kill for every listed child.
*/
#include "common/osignal.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

const int kaiSignals[] = {SIGINT, SIGTERM, SIGHUP};
const int kiSignals = static_cast<int>(sizeof kaiSignals / sizeof kaiSignals[0]);

volatile sig_atomic_t gsigCaught = 0;   /* first signal caught, 0 before */
bool gboInstalled = false;              /* the handlers are in place in this process */
bool gboSaved = false;                  /* gsaStart holds the actions the program started with */
struct sigaction gsaStart[kiSignals];   /* the action of each signal at the first osignalInstall */

/* Children the caught signal is sent on to; changed with the signals blocked. */
pid_t *gapidChildren = nullptr;
int giChildren = 0;
int giCapacity = 0;

void _osignalHandler(int iSignal)
{
  int iErrno = errno;
  if (gsigCaught == 0) gsigCaught = iSignal;
  int iSend = gsigCaught;
  for (int i = 0; i < giChildren; i++)
    if (gapidChildren[i] > 0) kill(gapidChildren[i], iSend);
  errno = iErrno;
}

/* The set of the three signals. */
sigset_t _osignalSet(void)
{
  sigset_t set;
  sigemptyset(&set);
  for (int iSignal : kaiSignals) sigaddset(&set, iSignal);
  return set;
}

/* Lists a child; false when the list cannot grow.  REQUIRES: the signals blocked. */
bool _osignalAdd(pid_t pid)
{
  if (giChildren == giCapacity) {
    int iNew = giCapacity * 2 + 16;
    pid_t *apid = static_cast<pid_t *>(std::realloc(gapidChildren, sizeof(pid_t) * static_cast<size_t>(iNew)));
    if (apid == nullptr) return false;
    gapidChildren = apid;
    giCapacity = iNew;
  }
  gapidChildren[giChildren++] = pid;
  return true;
}

}  // namespace

int osignalInstall(void)
{
  int iRc = 0;
  gsigCaught = 0;
  for (int i = 0; i < kiSignals; i++) {
    struct sigaction saOld {};
    if (sigaction(kaiSignals[i], nullptr, &saOld) != 0) {
      iRc = -1;
      continue;
    }
    if (!gboSaved) gsaStart[i] = saOld;
    /* a signal the program was started with ignored stays ignored */
    bool boIgnored = (gboSaved ? gsaStart[i].sa_handler : saOld.sa_handler) == SIG_IGN;
    if (boIgnored) continue;
    struct sigaction sa {};
    sa.sa_handler = _osignalHandler;
    sigemptyset(&sa.sa_mask);
    for (int iSignal : kaiSignals) sigaddset(&sa.sa_mask, iSignal);
    sa.sa_flags = 0;   /* no SA_RESTART: blocking calls return EINTR */
    if (sigaction(kaiSignals[i], &sa, nullptr) != 0) iRc = -1;
  }
  gboSaved = true;
  gboInstalled = true;
  return iRc;
}

void osignalIgnore(void)
{
  struct sigaction sa {};
  sa.sa_handler = SIG_IGN;
  sigemptyset(&sa.sa_mask);
  for (int iSignal : kaiSignals) sigaction(iSignal, &sa, nullptr);
  gboInstalled = false;
}

int osignalCaught(void)
{
  return gsigCaught;
}

int osignalReason(void)
{
  int iSignal = gsigCaught;
  return iSignal != 0 ? (OSIGNAL_RC_INTERRUPTED | (iSignal & 0x7F)) : 0;
}

int osignalIsInterrupted(int iCode)
{
  return iCode != 0 && (iCode & OSIGNAL_CODE_MASK) == OSIGNAL_RC_INTERRUPTED ? 1 : 0;
}

const char *osignalName(int iSignal)
{
  switch (iSignal) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    default: return "SIGNAL";
  }
}

pid_t osignalFork(void)
{
  sigset_t set = _osignalSet(), setOld;
  sigprocmask(SIG_BLOCK, &set, &setOld);
  pid_t pid = fork();
  if (pid == 0) {
    /* the parent's children are not this process's, nor its note */
    std::free(gapidChildren);
    gapidChildren = nullptr;
    giChildren = giCapacity = 0;
    gsigCaught = 0;
    if (gboInstalled && gboSaved)
      for (int i = 0; i < kiSignals; i++) sigaction(kaiSignals[i], &gsaStart[i], nullptr);
    gboInstalled = false;
    sigprocmask(SIG_SETMASK, &setOld, nullptr);
    return 0;
  }
  int iErrno = errno;
  if (pid > 0) {
    _osignalAdd(pid);   /* a child the list cannot hold (no memory) is not sent a later signal */
    if (gsigCaught != 0) kill(pid, gsigCaught);
  }
  sigprocmask(SIG_SETMASK, &setOld, nullptr);
  errno = iErrno;
  return pid;
}

void osignalForget(pid_t pid)
{
  if (pid <= 0) return;
  sigset_t set = _osignalSet(), setOld;
  sigprocmask(SIG_BLOCK, &set, &setOld);
  for (int i = 0; i < giChildren; i++) {
    if (gapidChildren[i] != pid) continue;
    gapidChildren[i] = gapidChildren[--giChildren];
    break;
  }
  sigprocmask(SIG_SETMASK, &setOld, nullptr);
}

static_assert(OSIGNAL_RC_SIGHUP == (OSIGNAL_RC_INTERRUPTED | SIGHUP) && OSIGNAL_RC_SIGINT == (OSIGNAL_RC_INTERRUPTED | SIGINT) &&
                  OSIGNAL_RC_SIGTERM == (OSIGNAL_RC_INTERRUPTED | SIGTERM),
              "the listed codes of the signals a run stops on");
