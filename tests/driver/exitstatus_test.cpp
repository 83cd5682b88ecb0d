/*
** exitstatus_test.cpp
**   What a script sees at the end of a run, through the whole program as a
**   subprocess on the sample instance: each kind of failure (an output
**   directory that is missing or read-only, with and without -n, a LOB
**   directory that cannot be written, a full disk, an unknown table, a
**   control file that is missing or wrong) and each warning (LOB values
**   cut, rows not converted, characters replaced, damaged records skipped)
**   ends with ZORU366I and an exit status that the generated exit-status
**   table of the README and the manual page lists for its reason code, as a
**   warning or as an error; and in that table no warning status is an error
**   status.  Runs that must not write as root take a user of the instance
**   user's group (--identity) when the test runs as root.
*/
#include <gtest/gtest.h>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "common/oreason.h"
#include "catalog/sqlcat.h"
#include "control/zorctrl.h"
#include "driver/zormaindisp.h"
#include "platform/db2admin.h"
#include "run/zorurun.h"
#include "tests/run/procinst.h"
#include "tests/zavproc.h"
#include "tests/zavtest.h"

namespace fs = std::filesystem;

namespace {

/* ------------------------------------------------------------------ the generated table */

/* One row of the exit-status table: its kind and its meanings as written. */
struct StatusRow {
  std::string strKind;
  std::string strMeanings;
};

/* The rows of the table the build generated, by status (a range of
** statuses gives each of them the row); the text after it in strNote. */
std::map<int, StatusRow> statusTable(std::string *pstrNote = nullptr)
{
  std::map<int, StatusRow> map;
  std::istringstream in(zavtestReadText(ZAV_BINARY_DIR "/docs/exit-statuses.md"));
  std::regex row("^\\| ([0-9]+)(–([0-9]+))? \\| ([a-z ]+) \\| [0-9, ]* \\| (.*) \\|$");
  for (std::string strLine; std::getline(in, strLine);) {
    std::smatch m;
    if (!std::regex_match(strLine, m, row)) {
      if (pstrNote != nullptr && strLine.compare(0, 4, "<!--") != 0 && strLine.compare(0, 1, "|") != 0)
        *pstrNote += strLine + "\n";
      continue;
    }
    int iFirst = std::stoi(m[1].str());
    int iLast = m[3].matched ? std::stoi(m[3].str()) : iFirst;
    for (int i = iFirst; i <= iLast; i++) map[i] = {m[4].str(), m[5].str()};
  }
  return map;
}

std::string hex(int iCode)
{
  char ac[16];
  std::snprintf(ac, sizeof ac, "0x%x", static_cast<unsigned>(iCode));
  return ac;
}

/* The return code and reason code of the last ZORU366I; false without one. */
bool endOf(const std::string &strOut, int *piReturnCode, int *piReason)
{
  std::regex end("ZORU366I ZAV RETURN CODE ([0-9]+) \\(REASON CODE 0x([0-9a-f]+)\\)");
  bool boFound = false;
  for (auto it = std::sregex_iterator(strOut.begin(), strOut.end(), end); it != std::sregex_iterator(); ++it) {
    *piReturnCode = std::stoi((*it)[1].str());
    *piReason = static_cast<int>(std::stoul((*it)[2].str(), nullptr, 16));
    boFound = true;
  }
  return boFound;
}

/*
** The end of a run against the table: ZORU366I shows iReason with return
** code 4 for a warning and 8 or more for an error, the exit status is its
** low byte, and the table's row of that status is of that kind and lists
** the code (a code that carries a system error number: the number's name in
** the row and the carrier in the note).
*/
void expectListed(const std::string &strOut, int iStatus, int iReason, bool boWarning)
{
  int iReturnCode = -1, iShown = -1;
  ASSERT_TRUE(endOf(strOut, &iReturnCode, &iShown)) << strOut;
  EXPECT_EQ(iShown, iReason) << hex(iShown) << " shown, " << hex(iReason) << " expected\n" << strOut;
  EXPECT_EQ(iStatus, oreasonExitStatus(iShown));
  if (boWarning)
    EXPECT_EQ(iReturnCode, 4);
  else
    EXPECT_GE(iReturnCode, 8);
  std::string strNote;
  std::map<int, StatusRow> mapTable = statusTable(&strNote);
  auto it = mapTable.find(iStatus);
  ASSERT_NE(it, mapTable.end()) << "status " << iStatus << " is not in the table";
  EXPECT_EQ(it->second.strKind, boWarning ? "warning" : "error") << "status " << iStatus;
  if (it->second.strMeanings.find("`" + hex(iShown) + "`") != std::string::npos) return;
  const char *pcErrno = strerrorname_np(iShown & 0xFF);
  std::string strCarrier = hex(iShown & ~0xFF);
  strCarrier = strCarrier.substr(0, strCarrier.size() - 2) + "nn";
  ASSERT_NE(pcErrno, nullptr) << hex(iShown) << " is not in the row of status " << iStatus << ": "
                              << it->second.strMeanings;
  EXPECT_NE(it->second.strMeanings.find(pcErrno), std::string::npos) << it->second.strMeanings;
  EXPECT_NE(strNote.find("`" + strCarrier + "`"), std::string::npos) << strNote;
}

/* ------------------------------------------------------------------ runs on the sample */

/* A user of the instance user's group who is not root, for the runs whose
** effective user must meet file permissions; made when the test runs as
** root, else the test's own user does. */
class OtherUser {
 public:
  OtherUser()
  {
    if (geteuid() != 0) return;
    strName = "zes" + std::to_string(getpid() % 100000);
    Remove();
    std::string strCmd = "useradd -M -N -g " + std::to_string(getgid()) + " -s /bin/false " + strName +
                         " >/dev/null 2>&1";
    /* useradd fails while another process holds the password file's lock */
    for (int i = 0; i < 20 && getpwnam(strName.c_str()) == nullptr; i++) {
      if (std::system(strCmd.c_str()) != 0) usleep(250000);
    }
    boMade = getpwnam(strName.c_str()) != nullptr;
  }
  ~OtherUser()
  {
    if (boMade) Remove();
  }
  /* The options that make it the effective user; empty when the test's own user is not root. */
  std::vector<std::string> Options() const
  {
    return strName.empty() ? std::vector<std::string>{} : std::vector<std::string>{"--identity", strName};
  }
  bool Usable() const { return strName.empty() || boMade; }

 private:
  void Remove()
  {
    for (int i = 0; i < 20 && getpwnam(strName.c_str()) != nullptr; i++) {
      if (std::system(("userdel " + strName + " >/dev/null 2>&1").c_str()) != 0) usleep(250000);
    }
  }
  std::string strName;
  bool boMade = false;
};

class ExitStatus : public ::testing::Test {
 protected:
  static void SetUpTestSuite()
  {
    gstrDir = zavprocBuildSample("/tmp/exitstatus_testXXXXXX", false);
    ASSERT_FALSE(gstrDir.empty()) << "the sample instance could not be built";
    /* another user must reach the installation and the runs' directories */
    fs::permissions(gstrDir, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                 fs::perms::others_read | fs::perms::others_exec);
    for (auto &entry : fs::recursive_directory_iterator(gstrDir))
      if (entry.is_directory()) chmod(entry.path().c_str(), 0755);
    setenv("DB2INSTANCE", "zavinst", 1);
    setenv("ZAVDB2_INSTHOME", (gstrDir + "/sample/home").c_str(), 1);
  }
  static void TearDownTestSuite()
  {
    if (!gstrDir.empty()) fs::remove_all(gstrDir);
  }

  /* Runs db2zav on strControl (no file when it is empty) in the new
  ** directory strName, with the options vMore; pfnPrepare gets the
  ** directory first. */
  static zavprocResult run(const std::string &strName, const std::string &strControl,
                           const std::vector<std::string> &vMore = {},
                           const std::function<void(const std::string &)> &pfnPrepare = nullptr)
  {
    std::string strCwd = gstrDir + "/" + strName;
    fs::remove_all(strCwd);
    fs::create_directories(strCwd);
    chmod(strCwd.c_str(), 0777);
    if (!strControl.empty()) std::ofstream(strCwd + "/job.ctl") << strControl;
    if (pfnPrepare) pfnPrepare(strCwd);
    /* a changed identity leaves a process that leak checking cannot inspect */
    bool boIdentity = std::find(vMore.begin(), vMore.end(), "--identity") != vMore.end();
    const char *pcAsan = std::getenv("ASAN_OPTIONS");
    return zavprocRunSampleJob(strCwd, gstrDir + "/sample/topzav", gstrDir + "/sample/home",
                               boIdentity ? "detect_leaks=0" : (pcAsan != nullptr ? pcAsan : ""), vMore);
  }

  static std::string gstrDir;
};

std::string ExitStatus::gstrDir;

/* One SELECT of the sample's DMSDATA into strOptions. */
std::string request(const std::string &strSelect, const std::string &strOptions, const std::string &strGlobal = "")
{
  return "GLOBAL CONNECT TO SAMPLE" + strGlobal + " ;\nUNLOAD TABLESPACE DMSDATA\n  " + strSelect + " ;\n    " +
         strOptions + "\n;\n";
}

void sql(const std::string &strSql)
{
  std::string strError;
  ASSERT_EQ(db2adminExecute("SAMPLE", strSql, &strError), 0) << strError;
}

/*
** Each kind of end of a run on the sample: the message that says what
** happened, the reason code ZORU366I shows, its exit status listed in the
** table as what it is.  The checks of the files come before anything runs:
** -n finds them too, and no output is written.
*/
TEST_F(ExitStatus, EveryKindOfEndIsListedInTheTableAsWhatItIs)
{
  OtherUser other;
  ASSERT_TRUE(other.Usable()) << "no user could be made for the runs that must not write as root";
  std::vector<std::string> vOther = other.Options();
  auto readOnly = [](const char *pcDir) {
    return [pcDir](const std::string &strCwd) {
      fs::create_directories(strCwd + "/" + pcDir);
      chmod((strCwd + "/" + pcDir).c_str(), 0555);
    };
  };
  auto plus = [](std::vector<std::string> v, const std::string &str) {
    v.push_back(str);
    return v;
  };
  const std::string strLob = "SELECT ID, BODY FROM ZAVTEST.DOCS";
  struct Case {
    const char *pcWhat;
    std::string strControl;
    std::vector<std::string> vOptions;
    std::function<void(const std::string &)> pfnPrepare;
    const char *pcMessage;   /* the message that tells what happened */
    int iReason;             /* the reason code the run ends with */
    bool boWarning;
    const char *pcNotWritten;   /* a file that must not exist after the run, or NULL */
  } aCases[] = {
      {"missing output directory", request("SELECT * FROM ZAVTEST.EMPLOYEE", "OUTPUT(\"nodir/emp.del\")"), {},
       nullptr, "ZORU493E OUTPUT FILE nodir/emp.del CANNOT BE WRITTEN: nodir: No such file or directory\n",
       ZORCTRL_RC_OUTPUT, false, "nodir"},
      {"missing output directory, -n", request("SELECT * FROM ZAVTEST.EMPLOYEE", "OUTPUT(\"nodir/emp.del\")"),
       {"-n"}, nullptr, "ZORU493E OUTPUT FILE nodir/emp.del CANNOT BE WRITTEN: nodir: No such file or directory\n",
       ZORCTRL_RC_OUTPUT, false, "nodir"},
      {"read-only output directory", request("SELECT * FROM ZAVTEST.EMPLOYEE", "OUTPUT(\"ro/emp.del\")"), vOther,
       readOnly("ro"), "ZORU493E OUTPUT FILE ro/emp.del CANNOT BE WRITTEN: ro: Permission denied\n",
       ZORCTRL_RC_OUTPUT, false, "ro/emp.del"},
      {"read-only output directory, -n", request("SELECT * FROM ZAVTEST.EMPLOYEE", "OUTPUT(\"ro/emp.del\")"),
       plus(vOther, "-n"), readOnly("ro"),
       "ZORU493E OUTPUT FILE ro/emp.del CANNOT BE WRITTEN: ro: Permission denied\n", ZORCTRL_RC_OUTPUT, false,
       "ro/emp.del"},
      {"LOB directory that cannot be written",
       request(strLob, "OUTPUT(\"docs.del\") LOB IN(\"lobs\") LOBFILE(\"doc\") FORMAT DEL"), vOther,
       readOnly("lobs"), "ZORU494E LOB DIRECTORY lobs CANNOT BE WRITTEN: Permission denied\n", ZORCTRL_RC_LOBDIR,
       false, "docs.del"},
      {"missing LOB directory, -n",
       request(strLob, "OUTPUT(\"docs.del\") LOB IN(\"nolobs\") LOBFILE(\"doc\") FORMAT DEL"), {"-n"}, nullptr,
       "ZORU494E LOB DIRECTORY nolobs CANNOT BE WRITTEN: No such file or directory\n", ZORCTRL_RC_LOBDIR, false,
       "docs.del"},
      {"full disk", request("SELECT * FROM ZAVTEST.EMPLOYEE", "OUTPUT(\"/dev/full\") FORMAT DEL"), {}, nullptr,
       "ZORU347E IO FAILURE ON FILE /dev/full (No space left on device)\n", 0x114a000 | ENOSPC, false, nullptr},
      {"unknown table", request("SELECT * FROM ZAVTEST.NOSUCH", "OUTPUT(\"t.del\")"), {}, nullptr,
       "ZORU056E TABLE ZAVTEST.NOSUCH NOT FOUND", SQLCAT_RC_DB2, false, "t.del"},
      {"control file with a syntax error", "UNLOAD TABLESPACE DMSDATA SELECT * FROM ZAVTEST.EMPLOYEE ; OUPUT(\"x\") ;\n",
       {}, nullptr, "ZORU333E SYNTAX ERROR IN THE CONTROL FILE\n", MAIN_RC_SYNTAX, false, "x"},
      {"missing control file", "", {}, nullptr,
       "ZORU001E SYSIN CANNOT BE OPENED.\nZORU002I CONTROL FILE job.ctl: No such file or directory\n",
       MAIN_RC_NOSYSIN, false, nullptr},
      {"LOB values cut", request(strLob, "OUTPUT(\"docs.del\") FORMAT DEL", " DB2 FORCE"), {}, nullptr,
       "ZORU462W 1 VALUES OF ZAVTEST.DOCS IN docs.del ARE CUT", ZORURUN_RC_LOBCUT, true, nullptr},
      {"rows not converted",
       request("SELECT EMPNO, HIREDATE FROM ZAVTEST.EMPLOYEE", "OUTPUT(\"emp.del\") FORMAT DEL", " DB2 FORCE"), {},
       [](const std::string &) {
         sql("INSERT INTO ZAVTEST.EMPLOYEE (EMPNO, FIRSTNME, LASTNAME, HIREDATE, EDLEVEL) "
             "VALUES ('000005', 'BAD', 'DATE', '19xx-zz-01', 12)");
       },
       "ZORU461W 1 ROWS OF ZAVTEST.EMPLOYEE COULD NOT BE CONVERTED", ZORURUN_RC_ROWSLOST, true, nullptr},
      {"characters replaced",
       "GLOBAL CONNECT TO UNISAMP ;\nUNLOAD TABLESPACE UNIDMS\n  SELECT * FROM ZAVTEST.UNITEXT ;\n"
       "    OUTPUT(\"u.del\") CCSID(819) FORMAT DEL\n;\n",
       {}, nullptr, "ZORU480W", ZORURUN_RC_REPLACED, true, nullptr},
  };
  for (const Case &c : aCases) {
    SCOPED_TRACE(c.pcWhat);
    std::string strName = std::regex_replace(c.pcWhat, std::regex("[^a-z]+"), "_");
    zavprocResult r = run(strName, c.strControl, c.vOptions, c.pfnPrepare);
    EXPECT_NE(r.strOut.find(c.pcMessage), std::string::npos) << r.strOut;
    expectListed(r.strOut, r.iStatus, c.iReason, c.boWarning);
    if (c.pcNotWritten != nullptr) {
      EXPECT_FALSE(fs::exists(gstrDir + "/" + strName + "/" + c.pcNotWritten));
    }
  }
  sql("DELETE FROM ZAVTEST.EMPLOYEE WHERE EMPNO = '000005'");
}

/* ------------------------------------------------------------------ damaged records */

/* Damaged records are read directly only: a private instance whose table
** page 1 holds a record whose stored length runs past the page. */
TEST(ExitStatusDamaged, SkippedRecordsEndWithTheDamageWarning)
{
  procinst::Instance inst(3, [](uint32_t p, fictable::Bytes &v) {
    if (p != 1) return;
    uint32_t ulDir = v[0] | v[1] << 8;
    uint32_t ulAt = ulDir + 20 + 2 * 3;
    uint32_t ulRecord = v[ulAt] | v[ulAt + 1] << 8;
    ulAt = ulDir + 20 + ulRecord;
    v[ulAt + 2] = 0xF0;
    v[ulAt + 3] = 0x7F;
  });
  ASSERT_TRUE(inst.boOk) << inst.strError;
  procinst::Program run(inst, inst.Control("out.del"));
  int iStatus = run.Wait();
  std::string strSysprint = run.Sysprint();
  EXPECT_NE(strSysprint.find("ZORU453W SELECT FROM ZAVTEST.BIG ENDED WITH 1 DAMAGED RECORDS SKIPPED\n"),
            std::string::npos)
      << strSysprint;
  expectListed(strSysprint, iStatus, ZORURUN_RC_DAMAGED, true);
}

/* ------------------------------------------------------------------ the table itself */

/*
** The table a script reads: the run's warnings have statuses of their own,
** which no error, no system error number and no shell or signal status
** gives; every other status a run can end with is an error.
*/
TEST(ExitStatusTable, WarningStatusesMeanTheWarningOnly)
{
  std::map<int, StatusRow> mapTable = statusTable();
  ASSERT_GT(mapTable.size(), 100u);
  std::map<int, int> mapWarnings;
  for (int iWarning : {ZORURUN_RC_ROWSLOST, ZORURUN_RC_LOBCUT, ZORURUN_RC_DAMAGED, ZORURUN_RC_REPLACED}) {
    EXPECT_EQ(oreasonReturnCode(iWarning), 4) << hex(iWarning);
    mapWarnings[oreasonExitStatus(iWarning)] = iWarning;
  }
  EXPECT_EQ(mapWarnings.size(), 4u) << "two warnings share a status";
  for (const auto &[iStatus, row] : mapTable) {
    SCOPED_TRACE("status " + std::to_string(iStatus));
    auto it = mapWarnings.find(iStatus);
    if (it == mapWarnings.end()) {
      EXPECT_EQ(row.strKind, iStatus == 0 ? "success" : "error") << row.strMeanings;
      continue;
    }
    EXPECT_EQ(row.strKind, "warning");
    EXPECT_EQ(row.strMeanings.find(';'), std::string::npos) << "a warning status with more than one meaning";
    EXPECT_NE(row.strMeanings.find("`" + hex(it->second) + "`"), std::string::npos) << row.strMeanings;
    EXPECT_GT(iStatus, 128 + 64) << "a system error number, a shell or a signal gives it too";
  }
  for (int i = 1; i <= 133; i++) {
    if (strerrorname_np(i) != nullptr) {
      EXPECT_NE(mapTable[i].strMeanings.find(strerrorname_np(i)), std::string::npos) << i;
    }
  }
}

/*
** A child whose code did not reach its parent (its record lost) but which
** ended with a warning's status stays a warning: its status means that
** warning only.  Other statuses of such a child are errors.
*/
TEST(ExitStatusTable, ChildExitStatusOfAWarningStaysThatWarning)
{
  for (int iCode : {ZORURUN_RC_DAMAGED, ZORURUN_RC_REPLACED, ZORURUN_RC_READ}) {
    SCOPED_TRACE(hex(iCode));
    zorurun *prun = _zorurunCreate(nullptr, 1, 0, ZORURUN_LOCAL_NO, nullptr, nullptr, 0, nullptr);
    ASSERT_NE(prun, nullptr);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) _exit(oreasonExitStatus(iCode));   /* no record on the result pipe */
    ASSERT_EQ(_zorurunAddChild(prun, pid, 1), 0);
    int iRc = _zorurunWaitTasks(prun);
    EXPECT_EQ(iRc, iCode == ZORURUN_RC_READ ? (ZORURUN_RC_CHILD | oreasonExitStatus(iCode)) : iCode) << hex(iRc);
    EXPECT_EQ(oreasonExitStatus(iRc), oreasonExitStatus(iCode));
    _zorurunDestroy(prun);
  }
}

}  // namespace
