/*
** stoprun.h
**   An unload of the private instance's table held up on a FIFO that the
**   test opens and never reads: the writer blocks on it, the reader on its
**   full channel, holding the table's quiesce (LOCK YES), so every process
**   of the run stays up until the test signals or kills it.  Then the run's
**   end, its processes, its SysV objects and the quiesce rows of the
**   database store are looked at.  Used by the interrupt and leftover
**   tests.  Header only.
*/
#ifndef ZAV_TESTS_DRIVER_STOPRUN_H
#define ZAV_TESTS_DRIVER_STOPRUN_H

#include <signal.h>
#include <sqlite3.h>
#include <sys/msg.h>
#include <sys/sem.h>
#include <sys/shm.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/run/procinst.h"

namespace stoprun {

/* Rows of the table of the instance the tests hold up: far more than the
   channel, the writer's batches and its buffers take in. */
constexpr uint32_t kPages = 6000;

/* An unload of the whole table into strOutput, the table quiesced and locked while it is read. */
inline std::string Control(const std::string &strOutput)
{
  return "GLOBAL CONNECT TO SAMPLE LOCK YES QUIESCE YES ;\n"
         "UNLOAD TABLESPACE DMSDATA\n  SELECT R, V, C FROM ZAVTEST.BIG ;\n  OUTPUT(\"" +
         strOutput + "\")\n  FORMAT DEL\n;\n";
}

/* Quiesce and unload registrations the database store strStore (main.db) holds; -1 when it cannot be read. */
inline int QuiesceRowsOf(const std::string &strStore)
{
  sqlite3 *pdb = nullptr;
  if (sqlite3_open_v2(strStore.c_str(), &pdb, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close(pdb);
    return -1;
  }
  int iRows = 0;
  sqlite3_stmt *pst = nullptr;
  /* no table: nothing was ever quiesced */
  if (sqlite3_prepare_v2(pdb, "SELECT count(*) FROM main.QUIESCE", -1, &pst, nullptr) == SQLITE_OK &&
      sqlite3_step(pst) == SQLITE_ROW)
    iRows = sqlite3_column_int(pst, 0);
  sqlite3_finalize(pst);
  sqlite3_close(pdb);
  return iRows;
}

/* The registrations of the store of the instance's partition 0. */
inline int QuiesceRows(const procinst::Instance &inst)
{
  return QuiesceRowsOf(inst.dir.path + "/data/zavinst/NODE0000/SQL00001/main.db");
}

/* Permission bits of a SysV object (/proc/sysvipc/<kind>: key, id, octal perms), -1 when it is gone. */
inline int Perms(const char *pcKind, long long llId)
{
  std::ifstream in(std::string("/proc/sysvipc/") + pcKind);
  std::string strLine;
  std::getline(in, strLine);
  while (std::getline(in, strLine)) {
    std::istringstream is(strLine);
    long long llKey = 0, ll = -1;
    std::string strPerms;
    if (is >> llKey >> ll >> strPerms && ll == llId) return static_cast<int>(std::stol(strPerms, nullptr, 8)) & 0777;
  }
  return -1;
}

/* Waits up to iSeconds for fn to hold; its last answer. */
template <typename Fn>
bool WaitFor(int iSeconds, Fn fn)
{
  auto tpEnd = std::chrono::steady_clock::now() + std::chrono::seconds(iSeconds);
  for (;;) {
    if (fn()) return true;
    if (std::chrono::steady_clock::now() > tpEnd) return fn();
    usleep(10000);
  }
}

/*
** A held-up run: db2zav (after vPrefix, a command that runs it: timeout),
** leader of its own process group, on the FIFO run/out.fifo, sysprint in
** run/sysprint.
*/
struct HeldRun {
  const procinst::Instance &inst;
  pid_t pid = -1;       /* the process started: db2zav, or the command before it */
  pid_t pidMain = -1;   /* db2zav's main process */
  std::string strFifo, strSysprint;
  int iFifo = -1;
  std::set<pid_t> setTree;          /* every process of the run once it is up */
  procinst::SysvObjects objects;    /* its SysV objects once it is up */

  explicit HeldRun(const procinst::Instance &instRun, const std::vector<std::string> &vPrefix = {}) : inst(instRun)
  {
    strFifo = inst.dir.path + "/run/out.fifo";
    strSysprint = inst.dir.path + "/run/sysprint";
    unlink(strFifo.c_str());
    if (mkfifo(strFifo.c_str(), 0644) != 0) return;
    std::string strCtl = inst.dir.path + "/run/held.ctl";
    std::ofstream(strCtl) << Control(strFifo);
    zavprocSpec spec;
    spec.vArgv = vPrefix;
    spec.vArgv.insert(spec.vArgv.end(), {ZAV_BINARY_DIR "/driver/db2zav", "-f", strCtl});
    spec.boSearchPath = !vPrefix.empty();
    spec.mEnv = {{"PATH", "/usr/bin:/bin"}, {"LANG", "C"}, {"TOPZAV", inst.dir.path + "/topzav"},
                 {"ZAVDB2_INSTHOME", inst.dir.path + "/home"}, {"DB2INSTANCE", "zavinst"},
                 {"ASAN_OPTIONS", "detect_leaks=0"}};
    spec.strCwd = inst.dir.path + "/run";
    spec.strOutFile = strSysprint;
    spec.boNewGroup = true;
    pid = zavprocSpawn(spec);
    iFifo = open(strFifo.c_str(), O_RDONLY | O_NONBLOCK);
    if (iFifo >= 0) fcntl(iFifo, F_SETPIPE_SZ, 4096);
  }

  /*
  ** Waits until the run is held up: the message centre, the SELECT child, a
  ** reader and the writer, which holds the FIFO, all up, and the table
  ** quiesced; then notes the processes and the objects of the run.  False
  ** (with what is missing in *pstrWhy) when that does not happen.
  */
  bool WaitUp(std::string *pstrWhy)
  {
    if (pid <= 0 || iFifo < 0) {
      *pstrWhy = "not started";
      return false;
    }
    bool boUp = WaitFor(30, [&] {
      pidMain = pid;
      std::vector<pid_t> v = procinst::Children(pid);
      if (v.size() == 1 && procinst::Children(v[0]).size() >= 1) pidMain = v[0];   /* under a command */
      bool boCentre = false, boReader = false, boWriter = false;
      for (pid_t p : procinst::Children(pidMain)) {
        std::vector<pid_t> vChildren = procinst::Children(p);
        if (vChildren.empty()) boCentre = true;
        for (pid_t pc : vChildren) (procinst::HasOpen(pc, strFifo) ? boWriter : boReader) = true;
      }
      return boCentre && boReader && boWriter && QuiesceRows(inst) > 0;
    });
    if (!boUp) {
      *pstrWhy = "the run did not come up with its table quiesced\n" + Sysprint();
      return false;
    }
    usleep(200000);   /* the channels and the FIFO are full */
    setTree = procinst::Tree(pidMain);
    objects = procinst::Objects(pidMain, setTree);
    /* every channel attached by all its users, so that a kill from now on leaves the registry alone */
    if (!WaitFor(30, [&] { return procinst::UnmarkedSegments(setTree).empty(); })) {
      *pstrWhy = "a segment of the run was never marked for removal\n" + Sysprint();
      return false;
    }
    return true;
  }

  /* Waits at most iSeconds for the started process; its exit status (or 128 + signal), -1 when it did not end. */
  int Wait(int iSeconds)
  {
    int iStatus = -1;
    WaitFor(iSeconds, [&] {
      int iWait = 0;
      if (waitpid(pid, &iWait, WNOHANG) != pid) return false;
      iStatus = WIFEXITED(iWait) ? WEXITSTATUS(iWait) : 128 + WTERMSIG(iWait);
      pid = -1;
      return true;
    });
    return iStatus;
  }

  /* Reaps the started process once it was killed outright. */
  void Reap()
  {
    if (pid <= 0) return;
    waitpid(pid, nullptr, 0);
    pid = -1;
  }

  /* True once no process of the run is left (waits up to iSeconds). */
  bool TreeGone(int iSeconds)
  {
    return WaitFor(iSeconds, [&] {
      for (pid_t p : setTree)
        if (procinst::Alive(p)) return false;
      return true;
    });
  }

  /* The objects of the run left after up to iSeconds. */
  procinst::SysvObjects Left(int iSeconds)
  {
    procinst::SysvObjects left;
    WaitFor(iSeconds, [&] {
      left = procinst::Left(objects);
      return left.empty();
    });
    return left;
  }

  std::string Sysprint() const { return procinst::ProcText(strSysprint); }

  ~HeldRun()
  {
    if (pid > 0) {
      kill(-pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    if (iFifo >= 0) close(iFifo);
    /* a failed test removes what the run left */
    procinst::SysvObjects left = procinst::Left(objects);
    for (long long ll : left.setShm) shmctl(static_cast<int>(ll), IPC_RMID, nullptr);
    for (long long ll : left.setSem) semctl(static_cast<int>(ll), 0, IPC_RMID);
    for (long long ll : left.setMsg) msgctl(static_cast<int>(ll), IPC_RMID, nullptr);
  }
  HeldRun(const HeldRun &) = delete;
  HeldRun &operator=(const HeldRun &) = delete;
};

/* What to say about objects left. */
inline std::string Describe(const procinst::SysvObjects &left)
{
  return std::to_string(left.setShm.size()) + " segments, " + std::to_string(left.setSem.size()) +
         " semaphore sets, " + std::to_string(left.setMsg.size()) + " queues left";
}

}  // namespace stoprun

#endif
