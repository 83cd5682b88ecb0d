/*
** outputs_test.cpp
**   The whole program, as a subprocess, on a copy of the bundled sample
**   instance, where a run used to write one file twice at once or to end
**   with success after an error:
**     - outputs that are one file, whichever way they are named (two
**       SELECTs of a block, two blocks, APPEND, two items, a normalised
**       path, a symbolic or hard link, LOB files, rotated files, the message
**       file) are refused when the control file is checked (ZORU491E);
**     - a file another process writes (holds locked) is neither emptied nor
**       written, on every path that writes data or LOB files (ZORU490E);
**     - the DB2 export path refuses LOB columns when the control file is
**       checked (ZORU492E) and exports the others;
**     - no run says success or ends 0 after an E message: a quiesce that
**       cannot be released, an error a reader swallowed, a table without
**       its schema, a message centre that died, a message file or
**       standard error that did not take every message (ZORU497E).
**   Exit statuses are derived from the named reason codes.
*/
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/omsgs.h"
#include "common/omsgssev.h"
#include "common/oreason.h"
#include "control/zorcontrol.h"
#include "control/zorctrlout.h"
#include "io/db2util.h"
#include "io/zor3write.h"
#include "tests/zavproc.h"
#include "tests/zavtest.h"

namespace fs = std::filesystem;

namespace {

const char *const gpcImage0 = "SAMPLE.0.zavinst.NODE0000.CATN0000.20040101120000.001";

/* How one run is made. */
struct Job {
  std::string strControl;                          /* the control file job.ctl; empty: none */
  std::vector<std::string> vArgs;                  /* arguments; empty: -f job.ctl */
  std::string strTop = "topzav";                   /* topzav, online or export */
  std::map<std::string, std::string> mEnv;         /* more environment */
  std::function<void(const std::string &)> pfnPrepare;   /* called with the directory first */
};

/* The sample, built once for the suite, with an installation whose
   configuration selects the export API (ptk002=1). */
class Outputs : public ::testing::Test {
 protected:
  static void SetUpTestSuite()
  {
    gstrDir = zavprocBuildSample("/tmp/outputs_testXXXXXX", false);
    ASSERT_FALSE(gstrDir.empty()) << "the sample instance could not be built";
    fs::copy(gstrDir + "/sample/topzav", gstrDir + "/export",
             fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    std::ofstream(gstrDir + "/export/cfg/db2zav.cfg", std::ios::app) << "ptk002=1\n";
  }
  static void TearDownTestSuite()
  {
    if (!gstrDir.empty()) fs::remove_all(gstrDir);
  }

  static zavprocSpec spec(const std::string &strCwd, const Job &job)
  {
    zavprocSpec spec;
    spec.vArgv = {ZAV_BINARY_DIR "/driver/db2zav"};
    if (job.vArgs.empty()) {
      spec.vArgv.insert(spec.vArgv.end(), {"-f", "job.ctl"});
    } else {
      spec.vArgv.insert(spec.vArgv.end(), job.vArgs.begin(), job.vArgs.end());
    }
    const char *pcAsan = std::getenv("ASAN_OPTIONS");
    spec.mEnv = {{"PATH", "/usr/bin:/bin"},
                 {"LANG", "C"},
                 {"TOPZAV", job.strTop == "topzav" ? gstrDir + "/sample/topzav" : gstrDir + "/" + job.strTop},
                 {"ZAVDB2_INSTHOME", gstrDir + "/sample/home"},
                 {"DB2INSTANCE", "zavinst"},
                 {"ASAN_OPTIONS", pcAsan != nullptr ? pcAsan : ""}};
    for (const auto &[k, v] : job.mEnv) spec.mEnv[k] = v;
    spec.strCwd = strCwd;
    return spec;
  }

  /* A new directory strName of the suite with the job's control file. */
  static std::string prepare(const std::string &strName, const Job &job)
  {
    std::string strCwd = gstrDir + "/" + strName;
    fs::remove_all(strCwd);
    fs::create_directories(strCwd);
    if (!job.strControl.empty()) std::ofstream(strCwd + "/job.ctl") << job.strControl;
    if (job.pfnPrepare) job.pfnPrepare(strCwd);
    return strCwd;
  }

  static zavprocResult run(const std::string &strName, const Job &job)
  {
    std::string strCwd = prepare(strName, job);
    return zavprocRun(spec(strCwd, job));
  }

  static std::string dir(const std::string &strName) { return gstrDir + "/" + strName; }

  static std::string gstrDir;
};

std::string Outputs::gstrDir;

bool has(const std::string &strOut, const std::string &str) { return strOut.find(str) != std::string::npos; }

/* A control file of one block over table space strTs with the SELECT lines given. */
std::string block(const std::string &strTs, const std::string &strSelects)
{
  return "UNLOAD TABLESPACE " + strTs + "\n" + strSelects + ";\n";
}
const std::string kstrGlobal = "GLOBAL CONNECT TO SAMPLE ;\n";
const std::string kstrDept = "  SELECT * FROM ZAVTEST.DEPT ;\n";
const std::string kstrEmp = "  SELECT EMPNO, LASTNAME FROM ZAVTEST.EMPLOYEE ;\n";
const std::string kstrDocs = "  SELECT * FROM ZAVTEST.DOCS ;\n";

/* Creates the file strPath holding str. */
void writeFile(const std::string &strPath, const std::string &str)
{
  std::ofstream(strPath, std::ios::binary) << str;
}

}  // namespace

/*
** Outputs shared × ways: each pair of writers that would write one file is
** refused when the control file is checked, before anything is written; the
** message names both and the file.  Outputs that only look alike are
** accepted.
*/
TEST_F(Outputs, SameFileIsRefusedWhenTheControlFileIsChecked)
{
  const int iRefused = oreasonExitStatus(ZORCTRLOUT_RC_SAMEFILE);
  struct Case {
    const char *pcName;
    std::string strControl;
    std::vector<std::string> vArgs;   /* after -f job.ctl */
    std::function<void(const std::string &)> pfnPrepare;
    std::string strFile;              /* the file the message names, relative to the directory */
    bool boRefused;
    bool boLinks = false;             /* target.del must keep what it held */
  };
  auto links = [](const std::string &strDir) {
    writeFile(strDir + "/target.del", "kept\n");
    fs::create_symlink("target.del", strDir + "/link.del");
    fs::create_hard_link(strDir + "/target.del", strDir + "/hard.del");
  };
  const std::vector<Case> vCases = {
      {"two SELECTs of one block",
       kstrGlobal + block("USERSPACE1", kstrDept + "  OUTPUT(\"same.del\")\n" +
                                            "  SELECT DEPTNO FROM ZAVTEST.DEPT ;\n  OUTPUT(\"same.del\")\n"),
       {}, nullptr, "same.del", true},
      {"two blocks",
       kstrGlobal + block("USERSPACE1", kstrDept + "  OUTPUT(\"same.del\")\n") +
           block("DMSDATA", kstrEmp + "  OUTPUT(\"same.del\")\n"),
       {}, nullptr, "same.del", true},
      {"two blocks, both APPEND",
       kstrGlobal + block("USERSPACE1", kstrDept + "  OUTPUT(\"same.del\" APPEND)\n") +
           block("DMSDATA", kstrEmp + "  OUTPUT(\"same.del\" APPEND)\n"),
       {}, nullptr, "same.del", true},
      {"two items of one SELECT, one through ./",
       kstrGlobal + block("USERSPACE1", kstrDept + "  OUTPUT(\"same.del\", \"./same.del\")\n"), {}, nullptr,
       "same.del", true},
      {"a path through a directory and back",
       kstrGlobal + block("USERSPACE1", kstrDept + "  OUTPUT(\"sub/../same.del\")\n") +
           block("DMSDATA", kstrEmp + "  OUTPUT(\"same.del\")\n"),
       {}, [](const std::string &strDir) { fs::create_directory(strDir + "/sub"); }, "same.del", true},
      {"a symbolic link to the other",
       kstrGlobal + block("USERSPACE1", kstrDept + "  OUTPUT(\"link.del\")\n") +
           block("DMSDATA", kstrEmp + "  OUTPUT(\"target.del\")\n"),
       {}, links, "link.del", true, true},
      {"a hard link to the other",
       kstrGlobal + block("USERSPACE1", kstrDept + "  OUTPUT(\"hard.del\")\n") +
           block("DMSDATA", kstrEmp + "  OUTPUT(\"target.del\")\n"),
       {}, links, "hard.del", true, true},
      {"a data file among the LOB files of a SELECT through DB2",
       kstrGlobal + block("DMSDATA", "  DB2 FORCE\n" + kstrDocs + "  OUTPUT(\"docs.del\") LOBFILE(\"doclob\")\n") +
           block("USERSPACE1", kstrDept + "  OUTPUT(\"doclob.001\")\n"),
       {}, nullptr, "doclob.001", true},
      {"a data file among the LOB files of a SELECT read directly",
       kstrGlobal + block("DMSDATA", kstrDocs + "  OUTPUT(\"docs.del\") LOBFILE(\"doclob\")\n") +
           block("USERSPACE1", kstrDept + "  OUTPUT(\"doclob_0_4\")\n"),
       {}, nullptr, "doclob_0_4", true},
      {"two SELECTs with one LOBFILE",
       kstrGlobal + block("DMSDATA", kstrDocs + "  OUTPUT(\"a.del\") LOBFILE(\"doclob\")\n" +
                                         "  SELECT ID, BODY FROM ZAVTEST.DOCS ;\n  OUTPUT(\"b.del\") LOBFILE(\"doclob\")\n"),
       {}, nullptr, "doclob_0_...", true},
      {"rotated files onto the first one",
       kstrGlobal + block("USERSPACE1", kstrDept + "  OUTPUT(\"dept.001\") FILEMAXSIZE 1K\n"), {}, nullptr,
       "dept.001", true},
      {"the message file", kstrGlobal + block("USERSPACE1", kstrDept + "  OUTPUT(\"run.log\")\n"), {"-m", "run.log"},
       nullptr, "run.log", true},
      {"checked with -n too",
       kstrGlobal + block("USERSPACE1", kstrDept + "  OUTPUT(\"same.del\")\n") +
           block("DMSDATA", kstrEmp + "  OUTPUT(\"same.del\")\n"),
       {"-n"}, nullptr, "same.del", true},
      {"files of their own",
       kstrGlobal + block("USERSPACE1", kstrDept + "  OUTPUT(\"dept.del\", \"sub/dept.del\")\n") +
           block("DMSDATA", kstrEmp + "  OUTPUT(\"emp.del\")\n"),
       {}, [](const std::string &strDir) { fs::create_directory(strDir + "/sub"); }, "", false},
      {"a device written twice",
       kstrGlobal + block("USERSPACE1", kstrDept + "  OUTPUT(\"/dev/null\")\n") +
           block("DMSDATA", kstrEmp + "  OUTPUT(\"/dev/null\")\n"),
       {}, nullptr, "", false},
  };
  int iCase = 0;
  for (const Case &c : vCases) {
    SCOPED_TRACE(c.pcName);
    Job job;
    job.strControl = c.strControl;
    if (!c.vArgs.empty()) {
      job.vArgs = {"-f", "job.ctl"};
      job.vArgs.insert(job.vArgs.end(), c.vArgs.begin(), c.vArgs.end());
    }
    job.pfnPrepare = c.pfnPrepare;
    std::string strName = "same" + std::to_string(++iCase);
    zavprocResult r = run(strName, job);
    std::string strLog = c.vArgs.size() == 2 && c.vArgs[0] == "-m" ? zavtestReadText(dir(strName) + "/run.log") : "";
    std::string strOut = r.strOut + strLog;
    if (!c.boRefused) {
      EXPECT_EQ(r.iStatus, 0) << strOut;
      EXPECT_FALSE(has(strOut, "ZORU491E")) << strOut;
      continue;
    }
    EXPECT_EQ(r.iStatus, iRefused) << strOut;
    EXPECT_TRUE(has(strOut, "ZORU491E ")) << strOut;
    EXPECT_TRUE(has(strOut, " WOULD WRITE THE SAME FILE " + fs::canonical(dir(strName)).string() + "/" + c.strFile))
        << strOut;
    EXPECT_FALSE(has(strOut, "ZORU410I")) << strOut;
    EXPECT_FALSE(has(strOut, "ZORU412I")) << strOut;
    EXPECT_FALSE(fs::exists(dir(strName) + "/same.del"));
    if (c.boLinks) {
      EXPECT_EQ(zavtestReadText(dir(strName) + "/target.del"), "kept\n");
    }
  }
}

/*
** A file another process holds locked (as a writer of another run does
** while it writes) is neither emptied nor written, on every path that
** writes data or LOB files: the run names it (ZORU490E) and fails; the
** file keeps what the other process wrote.
*/
TEST_F(Outputs, FileAnotherProcessWritesIsLeftToIt)
{
  struct Case {
    const char *pcName;
    std::string strControl;
    std::string strTop;
    std::string strHeld;   /* the file the other process writes */
    int iStatus;           /* the exit status, 0: any non-zero one */
  };
  const int iInUse = oreasonExitStatus(ZORWRITE_RC_INUSE);
  const std::string strBackup = "  DB2 NO BACKUP \"" + gstrDir + "/sample/backup/" + gpcImage0 + "\"\n";
  const std::vector<Case> vCases = {
      {"a DEL file read directly", kstrGlobal + block("USERSPACE1", kstrDept + "  OUTPUT(\"held.del\")\n"), "topzav",
       "held.del", iInUse},
      {"a DEL file appended to", kstrGlobal + block("USERSPACE1", kstrDept + "  OUTPUT(\"held.del\" APPEND)\n"),
       "topzav", "held.del", iInUse},
      {"an IXF file from a backup image",
       kstrGlobal + block("USERSPACE1", strBackup + kstrDept + "  OUTPUT(\"held.ixf\") FORMAT IXF\n"), "topzav",
       "held.ixf", iInUse},
      {"a DEL file through DB2",
       kstrGlobal + block("USERSPACE1", "  DB2 FORCE\n" + kstrDept + "  OUTPUT(\"held.del\")\n"), "topzav", "held.del",
       iInUse},
      {"a DEL file of the export API",
       kstrGlobal + block("USERSPACE1", "  DB2 FORCE\n" + kstrDept + "  OUTPUT(\"held.del\")\n"), "export",
       "held.del", iInUse},
      {"a LOB file of the forked reader",
       kstrGlobal + block("DMSDATA", kstrDocs + "  OUTPUT(\"docs.del\") LOBFILE(\"doclob\")\n"), "topzav",
       "doclob_0_4", 0},
      {"a LOB file through DB2",
       kstrGlobal + block("DMSDATA", "  DB2 FORCE\n" + kstrDocs + "  OUTPUT(\"docs.del\") LOBFILE(\"doclob\")\n"),
       "topzav", "doclob.001", 0},
  };
  int iCase = 0;
  for (const Case &c : vCases) {
    SCOPED_TRACE(c.pcName);
    Job job;
    job.strControl = c.strControl;
    job.strTop = c.strTop;
    std::string strName = "held" + std::to_string(++iCase);
    std::string strCwd = prepare(strName, job);
    /* the other process: the file open and locked, with what it wrote */
    std::string strHeld = strCwd + "/" + c.strHeld;
    writeFile(strHeld, "another run's rows\n");
    int iFd = open(strHeld.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(iFd, 0);
    ASSERT_EQ(flock(iFd, LOCK_EX | LOCK_NB), 0);
    zavprocResult r = zavprocRun(spec(strCwd, job));
    close(iFd);
    if (c.iStatus != 0) {
      EXPECT_EQ(r.iStatus, c.iStatus) << r.strOut;
    } else {
      EXPECT_NE(r.iStatus, 0) << r.strOut;
    }
    EXPECT_TRUE(has(r.strOut, "ZORU490E FILE " + c.strHeld + " IS BEING WRITTEN BY ANOTHER PROCESS")) << r.strOut;
    EXPECT_FALSE(has(r.strOut, "ZORU412I")) << r.strOut;
    EXPECT_EQ(zavtestReadText(strHeld), "another run's rows\n");
  }
}

/*
** Standard output written by two SELECTs at once: they take turns, so each
** SELECT's rows are there whole, none cut into another's.
*/
TEST_F(Outputs, SelectsWritingStandardOutputTakeTurns)
{
  Job job;
  job.strControl = "GLOBAL MAXTASK 2 CONNECT TO SAMPLE ;\n" + block("USERSPACE1", kstrDept + "  FORMAT DEL\n") +
                   block("DMSDATA", kstrEmp + "  FORMAT DEL\n");
  zavprocResult r = zavprocRun(spec(prepare("stdout", job), job), true);
  ASSERT_EQ(r.iStatus, 0) << r.strOut;
  Job jobDept, jobEmp;
  jobDept.strControl = kstrGlobal + block("USERSPACE1", kstrDept + "  OUTPUT(\"dept.del\")\n");
  jobEmp.strControl = kstrGlobal + block("DMSDATA", kstrEmp + "  OUTPUT(\"emp.del\")\n");
  ASSERT_EQ(run("stdoutdept", jobDept).iStatus, 0);
  ASSERT_EQ(run("stdoutemp", jobEmp).iStatus, 0);
  for (const std::string &strFile : {dir("stdoutdept") + "/dept.del", dir("stdoutemp") + "/emp.del"}) {
    std::string strRows = zavtestReadText(strFile);
    ASSERT_FALSE(strRows.empty());
    EXPECT_TRUE(has(r.strOut, strRows)) << strFile;
  }
}

/*
** The export API writes no LOB file: a SELECT for it (ptk002=1) whose result
** has LOB columns is refused when the control file is checked, whatever its
** LOBFILE and LOB IN; one without LOB columns is exported.
*/
TEST_F(Outputs, ExportPathRefusesLobColumnsWhenChecked)
{
  const int iRefused = oreasonExitStatus(ZORCONTROL_RC_EXPORTLOB);
  struct Case {
    const char *pcName;
    std::string strSelect;
    std::string strMore;
    std::vector<std::string> vArgs;
    int iLobs;   /* LOB columns refused; 0: exported */
  };
  const std::vector<Case> vCases = {
      {"every column, LOB files asked for", kstrDocs, "  LOB IN(\"lobs\") LOBFILE(\"doclob\")\n", {}, 2},
      {"every column, no LOB file", kstrDocs, "", {}, 2},
      {"one BLOB", "  SELECT ID, PHOTO FROM ZAVTEST.DOCS ;\n", "", {}, 1},
      {"checked with -n", kstrDocs, "", {"-n"}, 2},
      {"no LOB column", "  SELECT ID, TITLE FROM ZAVTEST.DOCS ;\n", "", {}, 0},
  };
  int iCase = 0;
  for (const Case &c : vCases) {
    SCOPED_TRACE(c.pcName);
    Job job;
    job.strTop = "export";
    job.strControl = kstrGlobal + block("DMSDATA", "  DB2 FORCE\n" + c.strSelect + "  OUTPUT(\"docs.del\")\n" + c.strMore);
    if (!c.vArgs.empty()) job.vArgs = {"-f", "job.ctl", "-n"};
    job.pfnPrepare = [](const std::string &strDir) { fs::create_directory(strDir + "/lobs"); };
    std::string strName = "export" + std::to_string(++iCase);
    zavprocResult r = run(strName, job);
    if (c.iLobs == 0) {
      EXPECT_EQ(r.iStatus, 0) << r.strOut;
      EXPECT_EQ(zavtestReadText(dir(strName) + "/docs.del"), "1,\"first\"\n2,\n3,\"third\"\n4,\"big\"\n5,\"empty\"\n");
      continue;
    }
    EXPECT_EQ(r.iStatus, iRefused) << r.strOut;
    EXPECT_TRUE(has(r.strOut, "ZORU492E SELECT FROM ZAVTEST.DOCS HAS " + std::to_string(c.iLobs) + " LOB COLUMNS"))
        << r.strOut;
    EXPECT_FALSE(has(r.strOut, "ZORU426I")) << r.strOut;
    EXPECT_FALSE(fs::exists(dir(strName) + "/docs.del"));
    EXPECT_TRUE(fs::is_empty(dir(strName) + "/lobs"));
  }
}

/*
** After a message of error severity no run says success nor ends with 0,
** whichever process issued it and whether or not its code reached the end.
*/
TEST_F(Outputs, NoSuccessAfterAnErrorMessage)
{
  struct Case {
    const char *pcName;
    Job job;
    const char *pcMessage;   /* the error message the run issues */
    int iStatus;             /* the exit status, 0: any non-zero one */
  };
  Job jobRelease;
  jobRelease.strControl = kstrGlobal + block("DMSDATA", kstrEmp + "  OUTPUT(\"emp.del\")\n");
  jobRelease.mEnv = {{"ZAVDB2_FAIL", "sqluvqdp=-911,40001,-911,The current transaction has been rolled back."}};
  Job jobSwallowed;
  jobSwallowed.strControl =
      "GLOBAL LOCK NO QUIESCE YES CONNECT TO SAMPLE ;\n" + block("DMSDATA", kstrEmp + "  OUTPUT(\"emp.del\")\n");
  jobSwallowed.mEnv = {{"ZAVDB2_FAIL", "sqluvtun#2=-911,40001,-911,The current transaction has been rolled back."}};
  Job jobTable;
  jobTable.vArgs = {"-t", "DEPT", "-o", "dept.del"};
  Job jobTableChecked;
  jobTableChecked.strControl = kstrGlobal + block("USERSPACE1", "  SELECT * FROM DEPT ;\n  OUTPUT(\"dept.del\")\n");
  jobTableChecked.vArgs = {"-f", "job.ctl", "-n"};
  const std::vector<Case> vCases = {
      {"a quiesce that cannot be released", jobRelease, "ZORU314E ERROR WHILE QUIESCING FOR TABLE ZAVTEST.\"EMPLOYEE\"",
       0},
      {"an error the reader does not pass on", jobSwallowed,
       "ZORU314E ERROR WHILE QUIESCING FOR TABLE ZAVTEST.\"EMPLOYEE\"", oreasonExitStatus(OMSGSSEV_RC_ERRORS)},
      {"a table without its schema", jobTable, "ZORU066E NO TABLESPACE FOUND FOR TABLE ", 0},
      {"a table without its schema, checked with -n", jobTableChecked, "ZORU066E NO TABLESPACE FOUND FOR TABLE ", 0},
  };
  int iCase = 0;
  for (const Case &c : vCases) {
    SCOPED_TRACE(c.pcName);
    std::string strName = "end" + std::to_string(++iCase);
    zavprocResult r = run(strName, c.job);
    EXPECT_TRUE(has(r.strOut, c.pcMessage)) << r.strOut;
    if (c.iStatus != 0) {
      EXPECT_EQ(r.iStatus, c.iStatus) << r.strOut;
    } else {
      EXPECT_NE(r.iStatus, 0) << r.strOut;
    }
    EXPECT_FALSE(has(r.strOut, "ZORU412I")) << r.strOut;
    EXPECT_FALSE(has(r.strOut, "ZORU426I")) << r.strOut;
    EXPECT_TRUE(has(r.strOut, "ZORU366I ZAV RETURN CODE ")) << r.strOut;
    EXPECT_FALSE(fs::exists(dir(strName) + "/dept.del"));
  }
}

/*
** The message centre killed while the request runs: the main process says
** so (ZORI160E), writes the later messages itself, and the run ends
** without ZORU412I and non-zero.
*/
TEST_F(Outputs, MessageCentreDeathIsNoSuccess)
{
  Job job;
  job.strControl = kstrGlobal + block("DMSDATA", kstrEmp + "  OUTPUT(\"emp.del\")\n");
  std::string strCwd = prepare("centre", job);
  zavprocSpec s = spec(strCwd, job);
  int aiPipe[2];
  ASSERT_EQ(pipe(aiPipe), 0);
  pid_t pid = zavprocSpawn(s, aiPipe[1], aiPipe[1]);
  close(aiPipe[1]);
  ASSERT_GT(pid, 0);
  /* once the listing of the control file is out, the centre runs; it is
     the only child of the main process until the run step */
  std::string strOut;
  char ac[4096];
  bool boKilled = false;
  while (true) {
    ssize_t l = read(aiPipe[0], ac, sizeof ac);
    if (l <= 0) break;
    strOut.append(ac, static_cast<size_t>(l));
    if (!boKilled && has(strOut, "000001 ")) {
      std::string strChildren =
          zavtestReadText("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/children");
      std::istringstream in(strChildren);
      int iChild = 0;
      while (in >> iChild) kill(iChild, SIGKILL);
      boKilled = !strChildren.empty();
    }
  }
  close(aiPipe[0]);
  int iStatus = 0;
  waitpid(pid, &iStatus, 0);
  ASSERT_TRUE(boKilled) << strOut;
  ASSERT_TRUE(WIFEXITED(iStatus)) << strOut;
  EXPECT_NE(WEXITSTATUS(iStatus), 0) << strOut;
  EXPECT_TRUE(has(strOut, "ZORI160E")) << strOut;
  EXPECT_FALSE(has(strOut, "ZORU412I")) << strOut;
}

/*
** Messages the run could not write (the message file of -m, or standard
** error without one, on a full device) are no success either: the message
** centre says so on standard error (ZORU497E) and the run ends non-zero,
** though the rows were written.  A message file that takes them all while
** standard output and error are full is a run that went well.
*/
TEST_F(Outputs, MessagesNotWrittenWholeAreNoSuccess)
{
  const int iLost = oreasonExitStatus(OMSGS_RC_SYSPRINT);
  struct Case {
    const char *pcName;
    std::vector<std::string> vMore;   /* arguments after -f job.ctl */
    bool boOutputFull;                /* standard output and error on /dev/full */
    int iStatus;
    const char *pcSaid;               /* on standard error, nullptr: nothing to look at */
  };
  const std::vector<Case> vCases = {
      {"message file on a full device", {"-m", "/dev/full"}, false, iLost,
       "ZORU497E MESSAGES OF THIS RUN WERE NOT ALL WRITTEN TO /dev/full: No space left on device\n"},
      {"standard error on a full device", {}, true, iLost, nullptr},
      {"a message file that takes them, standard error full", {"-m", "run.log"}, true, 0, nullptr},
  };
  int iCase = 0;
  for (const Case &c : vCases) {
    SCOPED_TRACE(c.pcName);
    Job job;
    job.strControl = kstrGlobal + block("USERSPACE1", kstrDept + "  OUTPUT(\"dept.del\")\n");
    job.vArgs = {"-f", "job.ctl"};
    job.vArgs.insert(job.vArgs.end(), c.vMore.begin(), c.vMore.end());
    std::string strName = "sysprint" + std::to_string(++iCase);
    std::string strCwd = prepare(strName, job);
    zavprocSpec s = spec(strCwd, job);
    zavprocResult r;
    if (c.boOutputFull) {
      s.strOutFile = "/dev/full";
      pid_t pid = zavprocSpawn(s);
      ASSERT_GT(pid, 0);
      int iStatus = 0;
      waitpid(pid, &iStatus, 0);
      r.iStatus = WIFEXITED(iStatus) ? WEXITSTATUS(iStatus) : -1;
    } else {
      r = zavprocRun(s);
    }
    EXPECT_EQ(r.iStatus, c.iStatus) << r.strOut;
    if (c.pcSaid != nullptr) {
      EXPECT_TRUE(has(r.strOut, c.pcSaid)) << r.strOut;
    }
    EXPECT_FALSE(zavtestReadText(strCwd + "/dept.del").empty());
    if (c.iStatus == 0) {
      EXPECT_TRUE(has(zavtestReadText(strCwd + "/run.log"), "ZORU412I")) << r.strOut;
    }
  }
}

/*
** DB2's export writes DB2's own DEL, which the CLI path imitates: for every
** column type of the sample (characters with quotes and padding, every
** number, dates, times, timestamps, NULLs, long fields, text of every
** script in the Unicode database), the export's file equals byte for byte
** the file of the same SELECT through the CLI (DB2 FORCE without ptk002).
*/
TEST_F(Outputs, ExportPathWritesDb2sDel)
{
  struct Case {
    const char *pcDb;
    const char *pcSpace;
    const char *pcSelect;
    const char *pcMore = "";
  };
  /* the export writes the database's code page: the CLI path is asked for it (ASIS) */
  const std::vector<Case> vCases = {
      {"SAMPLE", "DMSDATA", "SELECT * FROM ZAVTEST.EMPLOYEE"},
      {"SAMPLE", "USERSPACE1", "SELECT * FROM ZAVTEST.DEPT"},
      {"SAMPLE", "USERSPACE1", "SELECT ID, TOPIC, BODY FROM ZAVTEST.NOTES"},
      {"SAMPLE", "DMSDATA", "SELECT ID, TITLE, NOTES FROM ZAVTEST.DOCS"},
      {"UNISAMP", "UNIDMS", "SELECT ID, LANG, SHORT, TEXT FROM ZAVTEST.UNITEXT", "  ASIS\n"},
  };
  int iCase = 0;
  for (const Case &c : vCases) {
    SCOPED_TRACE(c.pcSelect);
    std::string strName = "exportdel" + std::to_string(++iCase);
    std::map<std::string, std::string> mFiles;
    for (const char *pcTop : {"topzav", "export"}) {
      Job job;
      job.strTop = pcTop;
      job.strControl = std::string("GLOBAL CONNECT TO ") + c.pcDb + " ;\n" +
                       block(c.pcSpace, std::string("  DB2 FORCE\n  ") + c.pcSelect + " ;\n  OUTPUT(\"out.del\")\n" + c.pcMore);
      zavprocResult r = run(strName + pcTop, job);
      EXPECT_EQ(r.iStatus, 0) << pcTop << "\n" << r.strOut;
      mFiles[pcTop] = zavtestReadText(dir(strName + pcTop) + "/out.del");
    }
    EXPECT_FALSE(mFiles["topzav"].empty());
    EXPECT_EQ(mFiles["export"], mFiles["topzav"]);
  }
}

/*
** The export writes every row into one file of DB2's DEL, in the database's
** code page, on this host: a SELECT for it that asks for fewer rows, smaller
** files, another layout, code page or host is refused when the control file
** is checked (ZORU444E, -n included), and nothing is written.  Clauses the
** export's DEL honours as they stand pass.
*/
TEST_F(Outputs, ExportPathRefusesClausesItCannotHonour)
{
  const int iRefused = oreasonExitStatus(ZORCONTROL_RC_EXPORTOPT);
  struct Case {
    std::string strMore;      /* clauses of the SELECT */
    std::string strGlobal;    /* clauses of GLOBAL */
    std::vector<std::string> vAsked;   /* the clauses refused; empty: exported */
    bool boCheckOnly = false;
  };
  const std::vector<Case> vCases = {
      {"  MAXROWS 2\n", "", {"MAXROWS"}},
      {"  MAXROWS 2\n", "", {"MAXROWS"}, true},
      {"  SKIP 1 INTERVAL 2\n", "", {"SKIP", "INTERVAL"}},
      {"  SIZELIMIT 1K\n", "", {"SIZELIMIT"}},
      {"  FILEMAXSIZE 1K\n", "", {"FILEMAXSIZE"}},
      {"  FORMAT DELIMITED SEP ';'\n", "", {"FORMAT DELIMITED"}},
      {"  OPTIONS DOUBLE DELIM OFF\n", "", {"OPTIONS DOUBLE DELIM OFF"}},
      {"  CCSID(819)\n", "", {"CCSID"}},
      {"  UNICODE\n", "", {"UNICODE"}},
      {"", " FILEMAXSIZE 1K", {"FILEMAXSIZE"}},
      {"  FORMAT DEL ASIS OPTIONS DOUBLE DELIM ON DATE DATE_E\n", "", {}},
  };
  int iCase = 0;
  for (const Case &c : vCases) {
    SCOPED_TRACE(c.strMore + c.strGlobal + (c.boCheckOnly ? " -n" : ""));
    Job job;
    job.strTop = "export";
    job.strControl = "GLOBAL CONNECT TO SAMPLE" + c.strGlobal + " ;\n" +
                     block("USERSPACE1", "  DB2 FORCE\n" + kstrDept + "  OUTPUT(\"dept.del\")\n" + c.strMore);
    if (c.boCheckOnly) job.vArgs = {"-f", "job.ctl", "-n"};
    std::string strName = "exportopt" + std::to_string(++iCase);
    zavprocResult r = run(strName, job);
    if (c.vAsked.empty()) {
      EXPECT_EQ(r.iStatus, 0) << r.strOut;
      EXPECT_FALSE(has(r.strOut, "ZORU444E")) << r.strOut;
      EXPECT_TRUE(fs::exists(dir(strName) + "/dept.del"));
      continue;
    }
    EXPECT_EQ(r.iStatus, iRefused) << r.strOut;
    for (const std::string &str : c.vAsked)
      EXPECT_TRUE(has(r.strOut, "ZORU444E SELECT FROM ZAVTEST.DEPT ASKS FOR " + str + ":")) << r.strOut;
    EXPECT_FALSE(has(r.strOut, "ZORU426I")) << r.strOut;
    EXPECT_FALSE(fs::exists(dir(strName) + "/dept.del"));
  }
}

/* FORMAT IXF through the stand-in's export, which writes DEL only, fails
   clearly: DB2's message, an E message of the program, return code 8, and
   no data (the file the run holds while DB2 would write it stays empty). */
TEST_F(Outputs, ExportPathRefusesIxfOfTheStandIn)
{
  Job job;
  job.strTop = "export";
  job.strControl = kstrGlobal + block("USERSPACE1", "  DB2 FORCE\n" + kstrDept + "  OUTPUT(\"dept.ixf\") FORMAT IXF\n");
  zavprocResult r = run("exportixf", job);
  EXPECT_NE(r.iStatus, 0) << r.strOut;
  EXPECT_TRUE(has(r.strOut, "ZORU311E")) << r.strOut;
  EXPECT_TRUE(has(r.strOut, "SQL3006N")) << r.strOut;
  EXPECT_EQ(r.iStatus, oreasonExitStatus(DB2UTIL_RC_EXPORT)) << r.strOut;
  EXPECT_TRUE(!fs::exists(dir("exportixf") + "/dept.ixf") || fs::file_size(dir("exportixf") + "/dept.ixf") == 0);
}
