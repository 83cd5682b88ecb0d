/*
** zorurunproc_test.cpp
**   The whole program on a private instance whose table lies in container
**   files: a small unload ends at once and whole; damaged records are
**   skipped, named and counted, and the run ends non-zero; and every kind
**   of process of the tree (main, message centre, SELECT child, reader,
**   writer), killed during a long unload, gives a bounded end with a
**   message and a non-zero status, leaving no process and no SysV object
**   of the run behind.
*/
#include <gtest/gtest.h>

#include <sys/msg.h>
#include <sys/sem.h>
#include <sys/shm.h>
#include <sys/stat.h>

#include <cstring>

#include "common/oreason.h"
#include "run/zorurun.h"
#include "tests/run/procinst.h"

namespace {

using procinst::Instance;
using procinst::Program;

std::string _expected(uint32_t ulPages, const std::set<int> &setSkip = {})
{
  std::string str;
  for (uint32_t p = 0; p < ulPages; p++)
    for (int i = 0; i < 3; i++) {
      int r = static_cast<int>(p) * 10 + i;
      if (setSkip.count(r)) continue;
      str += std::to_string(r) + "," + (r % 5 == 0 ? std::string() : "\"row" + std::to_string(r) + "\"") + ",\"abc\"\n";
    }
  return str;
}

std::string _read(const std::string &strPath)
{
  std::vector<unsigned char> v = zavtestReadFile(strPath);
  return std::string(v.begin(), v.end());
}

TEST(ZorurunProc, SmallUnloadIsWholeAndEndsAtOnce)
{
  Instance inst(4);
  ASSERT_TRUE(inst.boOk) << inst.strError;
  Program run(inst, inst.Control("out.del"));
  int iStatus = run.Wait();
  std::string strSysprint = run.Sysprint();
  RecordProperty("seconds", std::to_string(run.Seconds()));
  std::printf("small unload: %.3f s wall\n", run.Seconds());
  EXPECT_EQ(iStatus, 0) << strSysprint;
  EXPECT_EQ(_read(inst.dir.path + "/run/out.del"), _expected(4)) << strSysprint;
  EXPECT_NE(strSysprint.find("ZORU410I ZAV UTILITY HAS UNLOADED 12 ROWS"), std::string::npos) << strSysprint;
}

/*
** The writer converts runs of records on several threads: through the whole
** program, a table of many runs comes out in record order, MAXROWS in the
** middle of a run stops at its row, and an output that takes nothing
** (/dev/full) fails the run with the system's reason, no ZORU410I, and every
** process of the run gone.
*/
TEST(ZorurunProc, ManyRunsOfRecordsKeepTheirOrderStopAtMaxrowsAndFailOnAFullDisk)
{
  const uint32_t ulPages = 6000;   /* 18,000 rows: many runs of records */
  Instance inst(ulPages);
  ASSERT_TRUE(inst.boOk) << inst.strError;
  /* slot 0 of every 500th object page holds the page's free-space record in
     DB2's files, so the reader starts at slot 1 there; the fixture's row in
     that slot is not one of the table's */
  std::set<int> setFsr;
  for (uint32_t p = 500; p < ulPages; p += 500) setFsr.insert(static_cast<int>(p) * 10);
  const std::string strAll = _expected(ulPages, setFsr);
  const size_t ulAll = 3 * ulPages - setFsr.size();
  const struct {
    const char *pcName;
    const char *pcOutput;
    const char *pcOptions;
    bool boOk;
    size_t ulRows;   /* rows in the file */
  } aCases[] = {
      {"whole table", "out.del", "", true, ulAll},
      {"MAXROWS in a run", "max.del", "MAXROWS 10001", true, 10001},
      {"full disk", "/dev/full", "", false, 0},
  };
  for (const auto &c : aCases) {
    SCOPED_TRACE(c.pcName);
    if (!c.boOk && access("/dev/full", W_OK) != 0) continue;
    Program run(inst, inst.Control("SELECT R, V, C FROM ZAVTEST.BIG", c.pcOutput, "", c.pcOptions));
    int iStatus = run.Wait();
    std::string strSysprint = run.Sysprint();
    if (c.boOk) {
      EXPECT_EQ(iStatus, 0) << strSysprint;
      size_t ulAt = 0;
      for (size_t i = 0; i < c.ulRows; i++) ulAt = strAll.find('\n', ulAt) + 1;
      EXPECT_TRUE(_read(inst.dir.path + "/run/" + c.pcOutput) == strAll.substr(0, ulAt));
      EXPECT_NE(strSysprint.find("ZORU410I ZAV UTILITY HAS UNLOADED " + std::to_string(c.ulRows) + " ROWS"),
                std::string::npos)
          << strSysprint;
    } else {
      EXPECT_NE(iStatus, 0) << strSysprint;
      EXPECT_NE(iStatus, -1) << "the run did not end\n" << strSysprint;
      EXPECT_NE(strSysprint.find("ZORU347E IO FAILURE ON FILE /dev/full (No space left on device)"), std::string::npos)
          << strSysprint;
      EXPECT_EQ(strSysprint.find("ZORU410I"), std::string::npos) << strSysprint;
    }
  }
}

}  // namespace

namespace {

/*
** A page of good row, damaged record, good row, and a page whose slot
** directory lies outside it: the good rows are written, each damaged part
** is named with its table, page and slot, the SELECT reports the count, and
** the run ends non-zero.
*/
TEST(ZorurunProc, DamagedRecordsAreSkippedNamedCountedAndFailTheRun)
{
  Instance inst(4, [](uint32_t p, fictable::Bytes &v) {
    if (p == 1) {
      /* slot 3 holds row 11: its stored length runs past the page */
      uint32_t ulDir = v[0] | v[1] << 8;
      uint32_t ulAt = ulDir + 20 + (v[ulDir + 20 + 6] | v[ulDir + 20 + 7] << 8);
      v[ulAt + 2] = 0xF0;
      v[ulAt + 3] = 0x7F;
    }
    if (p == 3) {
      v[0] = 0xFF;   /* slot directory offset past the page */
      v[1] = 0x7F;
    }
  });
  ASSERT_TRUE(inst.boOk) << inst.strError;
  Program run(inst, inst.Control("out.del"));
  int iStatus = run.Wait();
  std::string strSysprint = run.Sysprint();
  EXPECT_EQ(iStatus, oreasonExitStatus(ZORURUN_RC_DAMAGED)) << "return code 4, the reason code's low byte\n"
                                                           << strSysprint;
  EXPECT_EQ(_read(inst.dir.path + "/run/out.del"),
            _expected(3, {11}))
      << strSysprint;
  EXPECT_NE(strSysprint.find("ZORU454W DAMAGED RECORD SKIPPED: TABLE ZAVTEST.BIG PAGE 1 SLOT 3 (REASON CODE 0x117a001)"),
            std::string::npos)
      << strSysprint;
  EXPECT_NE(strSysprint.find("ZORU451W DAMAGED SLOT DIRECTORY, RECORDS OF THE PAGE SKIPPED: TABLE ZAVTEST.BIG PAGE 3"),
            std::string::npos)
      << strSysprint;
  EXPECT_NE(strSysprint.find("ZORU453W SELECT FROM ZAVTEST.BIG ENDED WITH 2 DAMAGED RECORDS SKIPPED"), std::string::npos)
      << strSysprint;
}

/* A table space the catalogue does not hold: ZORU019E, and nothing of the catalogue's connection is left. */
TEST(ZorurunProc, UnknownTablespaceLeavesNoConnectionBehind)
{
  Instance inst(1);
  ASSERT_TRUE(inst.boOk) << inst.strError;
  Program run(inst, "GLOBAL CONNECT TO SAMPLE ;\nUNLOAD TABLESPACE D ;\n", true);
  int iStatus = run.Wait();
  std::string strSysprint = run.Sysprint();
  EXPECT_NE(iStatus, 0) << strSysprint;
  EXPECT_NE(strSysprint.find("ZORU019E TABLESPACE NOT FOUND IN THE CATALOG"), std::string::npos) << strSysprint;
  EXPECT_EQ(strSysprint.find("LeakSanitizer"), std::string::npos) << strSysprint;
}

/* -------------------------------------------------------------- kills */

enum Kind { MAIN, CENTRE, SELECT, READER, WRITER };

/*
** A long unload into a FIFO that the test holds open without reading: the
** writer blocks on it, so the whole tree stays up until the test has killed
** one of its processes; then the test reads the FIFO to its end.
*/
void _killDuringLongUnload(Kind kind)
{
  /* far more rows than the channel, the writer's batches of records and its
     buffers hold, so that the reader is still blocked when the test kills */
  Instance inst(6000);
  ASSERT_TRUE(inst.boOk) << inst.strError;
  std::string strFifo = inst.dir.path + "/run/out.del";
  ASSERT_EQ(mkfifo(strFifo.c_str(), 0644), 0);
  Program run(inst, inst.Control(strFifo));
  int iFifo = open(strFifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(iFifo, 0);
  fcntl(iFifo, F_SETPIPE_SZ, 4096);

  /* the tree is up once the writer holds the FIFO and has filled it */
  pid_t pidCentre = -1, pidSelect = -1, pidReader = -1, pidWriter = -1;
  for (int i = 0; i < 2000 && pidWriter < 0; i++) {
    usleep(10000);
    for (pid_t pid : procinst::Children(run.pid)) {
      std::vector<pid_t> vChildren = procinst::Children(pid);
      if (vChildren.empty()) {
        pidCentre = pid;
        continue;
      }
      pidSelect = pid;
      for (pid_t pidChild : vChildren) {
        if (procinst::HasOpen(pidChild, strFifo))
          pidWriter = pidChild;
        else
          pidReader = pidChild;
      }
    }
    if (pidReader < 0 || pidCentre < 0) pidWriter = -1;
  }
  ASSERT_GT(pidWriter, 0) << "the process tree did not come up\n" << run.Sysprint();
  usleep(200000);   /* the channels are full */

  std::set<pid_t> setTree = procinst::Tree(run.pid);
  procinst::SysvObjects objects = procinst::Objects(run.pid, setTree);
  EXPECT_FALSE(objects.setMsg.empty());
  EXPECT_FALSE(objects.setShm.empty());

  pid_t pidVictim = kind == MAIN ? run.pid
                    : kind == CENTRE ? pidCentre
                    : kind == SELECT ? pidSelect
                    : kind == READER ? pidReader
                                     : pidWriter;
  ASSERT_EQ(kill(pidVictim, SIGKILL), 0) << "process " << pidVictim << ": " << std::strerror(errno) << "\n"
                                         << run.Sysprint();

  /* drain the FIFO while the run ends */
  auto tp = std::chrono::steady_clock::now();
  char ac[65536];
  int iStatus = -2;
  while (std::chrono::steady_clock::now() - tp < std::chrono::seconds(60)) {
    ssize_t l = read(iFifo, ac, sizeof ac);
    if (l > 0) continue;
    int iWait = 0;
    pid_t p = kind == MAIN ? -1 : waitpid(run.pid, &iWait, WNOHANG);
    if (p == run.pid) {
      iStatus = WIFEXITED(iWait) ? WEXITSTATUS(iWait) : 128 + WTERMSIG(iWait);
      run.pid = -1;
      break;
    }
    if (kind == MAIN) {
      /* main was killed: wait for the rest of its tree to go */
      waitpid(run.pid, &iWait, WNOHANG);
      bool boAny = false;
      for (pid_t pid : setTree)
        if (pid != run.pid && procinst::Alive(pid)) boAny = true;
      if (!boAny) {
        iStatus = 128 + SIGKILL;
        run.pid = -1;
        break;
      }
    }
    usleep(5000);
  }
  close(iFifo);
  std::string strSysprint = run.Sysprint();
  ASSERT_NE(iStatus, -2) << "the run did not end\n" << strSysprint;
  EXPECT_NE(iStatus, 0) << strSysprint;

  /* every process of the tree has gone, and every SysV object of the run */
  bool boGone = false;
  procinst::SysvObjects left;
  for (int i = 0; i < 400 && !boGone; i++) {
    bool boAlive = false;
    for (pid_t pid : setTree)
      if (procinst::Alive(pid)) boAlive = true;
    left = procinst::Left(objects);
    boGone = !boAlive && left.empty();
    if (!boGone) usleep(10000);
  }
  for (pid_t pid : setTree) EXPECT_FALSE(procinst::Alive(pid)) << "process " << pid << " is left";
  EXPECT_TRUE(left.empty()) << left.setShm.size() << " segments, " << left.setSem.size() << " semaphore sets, "
                            << left.setMsg.size() << " queues left";
  for (long long ll : left.setShm) shmctl(static_cast<int>(ll), IPC_RMID, nullptr);
  for (long long ll : left.setSem) semctl(static_cast<int>(ll), 0, IPC_RMID);
  for (long long ll : left.setMsg) msgctl(static_cast<int>(ll), IPC_RMID, nullptr);

  /* the message that says why */
  switch (kind) {
    case MAIN: break;   /* killed by the caller, who sees its status */
    case CENTRE:
      EXPECT_NE(strSysprint.find("ZORI160E THE MESSAGE CENTRE ENDED ABNORMALLY (STATUS 0x9)"), std::string::npos)
          << strSysprint;
      break;
    case SELECT:
      EXPECT_NE(strSysprint.find("ZORU368E AN UNLOAD PROCESS FINISHED ABNORMALLY WITH SIGNAL 9"), std::string::npos)
          << strSysprint;
      break;
    case READER:
    case WRITER:
      EXPECT_NE(strSysprint.find("ZORU368E AN UNLOAD PROCESS FINISHED ABNORMALLY WITH SIGNAL 9"), std::string::npos)
          << strSysprint;
      break;
  }
  if (kind != MAIN) {
    EXPECT_NE(strSysprint.find("ZORU366I"), std::string::npos) << strSysprint;
  }
}

TEST(ZorurunProcKill, Main) { _killDuringLongUnload(MAIN); }
TEST(ZorurunProcKill, MessageCentre) { _killDuringLongUnload(CENTRE); }
TEST(ZorurunProcKill, SelectChild) { _killDuringLongUnload(SELECT); }
TEST(ZorurunProcKill, Reader) { _killDuringLongUnload(READER); }
TEST(ZorurunProcKill, Writer) { _killDuringLongUnload(WRITER); }

}  // namespace
