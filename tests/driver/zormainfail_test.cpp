/*
** zormainfail_test.cpp
**   Whole runs that meet a failure, as subprocesses of the built program on a
**   copy of the bundled sample instance (built afresh for each test): a full
**   disk and missing directories (CLI and export API), a failing fetch, values longer than an
**   inline LOB, rows no converter can write, sampling and the row limit
**   through DB2, a locked and a damaged store, FORMAT USER that cannot run,
**   a BACKUP block beside a block that falls back to DB2, and a garbled
**   configuration file.  Each asserts the messages, the exit status and the
**   output files: no run that lost or cut a row ends with exit 0 or ZORU412I.
*/
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "common/oreason.h"
#include "control/zorctrl.h"
#include "platform/db2admin.h"
#include "run/zorurun.h"
#include "tests/zavproc.h"
#include "tests/zavtest.h"

#ifndef ZAV_DB2ZAV_PROGRAM
#define ZAV_DB2ZAV_PROGRAM ZAV_BINARY_DIR "/driver/db2zav"
#endif
#ifndef ZAV_ZAVSAMPLE_PROGRAM
#define ZAV_ZAVSAMPLE_PROGRAM ZAV_BINARY_DIR "/tools/zavsample"
#endif

namespace {

namespace fs = std::filesystem;

using RunResult = zavprocResult;

RunResult runProgram(const std::vector<std::string> &vArgs, const std::map<std::string, std::string> &mEnv,
                     const std::string &strCwd)
{
  zavprocSpec spec;
  spec.vArgv = {ZAV_DB2ZAV_PROGRAM};
  spec.vArgv.insert(spec.vArgv.end(), vArgs.begin(), vArgs.end());
  spec.mEnv = mEnv;
  spec.strCwd = strCwd;
  return zavprocRun(spec);
}

std::vector<std::string> lines(const std::string &strText)
{
  std::vector<std::string> v;
  std::stringstream ss(strText);
  std::string str;
  while (std::getline(ss, str)) v.push_back(str);
  return v;
}

/* The end line of a failed run. */
std::string end(int iReturnCode, int iReason)
{
  char ac[100];
  std::snprintf(ac, sizeof ac, "ZORU366I ZAV RETURN CODE %d (REASON CODE 0x%x)\n", iReturnCode, iReason);
  return ac;
}

/* A request of one SELECT through DB2 into one file. */
std::string request(const std::string &strSelect, const std::string &strOptions)
{
  return "GLOBAL\n  CONNECT TO SAMPLE\n  DB2 FORCE\n;\nUNLOAD TABLESPACE DMSDATA\n  " + strSelect + " ;\n    " +
         strOptions + "\n;\n";
}

/* The sample instance in a temporary directory, its store reachable from
** this process through the stand-in, and a working directory for the runs. */
class RunFailure : public ::testing::Test {
 protected:
  void SetUp() override
  {
    char acDir[] = "/tmp/zormainfail_testXXXXXX";
    ASSERT_NE(mkdtemp(acDir), nullptr);
    strDir = acDir;
    std::string strCmd = std::string(ZAV_ZAVSAMPLE_PROGRAM) + " " + strDir + "/sample " + ZAV_BINARY_DIR +
                         "/msg/db2zav " + ZAV_DB2ZAV_PROGRAM + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(strCmd.c_str()), 0) << strCmd;
    fs::create_directories(strDir + "/run");
    mEnv = {{"TOPZAV", strDir + "/sample/topzav"},
            {"ZAVDB2_INSTHOME", strDir + "/sample/home"},
            {"DB2INSTANCE", "zavinst"},
            {"LANG", "C"},
            {"PATH", "/usr/bin:/bin"}};
    setenv("DB2INSTANCE", "zavinst", 1);
    setenv("ZAVDB2_INSTHOME", (strDir + "/sample/home").c_str(), 1);
  }
  void TearDown() override
  {
    if (!strDir.empty()) fs::remove_all(strDir);
  }
  RunResult run(const std::string &strControl, const std::vector<std::string> &vMore = {})
  {
    std::string strPath = strDir + "/run/request.ctl";
    std::ofstream(strPath) << strControl;
    std::vector<std::string> vArgs = {"-f", strPath};
    vArgs.insert(vArgs.end(), vMore.begin(), vMore.end());
    return runProgram(vArgs, mEnv, strDir + "/run");
  }
  void sql(const std::string &strSql)
  {
    std::string strError;
    ASSERT_EQ(db2adminExecute("SAMPLE", strSql, &strError), 0) << strError;
  }
  std::string store(const char *pcFile) const
  {
    return strDir + "/sample/data/zavinst/NODE0000/SQL00001/" + pcFile;
  }
  std::string out(const char *pcFile) const { return strDir + "/run/" + pcFile; }
  std::string strDir;
  std::map<std::string, std::string> mEnv;
};

/* The row count of the first ZORU410I of a run, -1 without one. */
long unloaded(const std::string &strOut)
{
  const std::string strKey = "ZORU410I ZAV UTILITY HAS UNLOADED ";
  size_t ul = strOut.find(strKey);
  return ul == std::string::npos ? -1 : std::atol(strOut.c_str() + ul + strKey.size());
}

/* The messages after the listing of the control file. */
std::string messages(const std::string &strOut)
{
  size_t ul = strOut.find("\n\n");
  return ul == std::string::npos ? strOut : strOut.substr(ul + 2);
}

TEST_F(RunFailure, OutputThatCannotBeWrittenFailsTheRun)
{
  struct {
    const char *pcWhat;
    std::string strOutput;
    int iStatus;
    std::string strMessages;
  } aCases[] = {
      {"full disk", "/dev/full", 28,
       "ZORU062I DB2 FORCE SPECIFIED: SELECT PROCESS THROUGH DB2\n"
       "ZORU347E IO FAILURE ON FILE /dev/full (No space left on device)\n" +
           end(8, 0x114a01c)},
      /* refused before anything runs */
      {"missing directory", "nodir/emp.del", oreasonExitStatus(ZORCTRL_RC_OUTPUT),
       "ZORU062I DB2 FORCE SPECIFIED: SELECT PROCESS THROUGH DB2\n"
       "ZORU493E OUTPUT FILE nodir/emp.del CANNOT BE WRITTEN: nodir: No such file or directory\n" +
           end(8, ZORCTRL_RC_OUTPUT)},
  };
  for (auto &c : aCases) {
    SCOPED_TRACE(c.pcWhat);
    RunResult r = run(request("SELECT * FROM ZAVTEST.EMPLOYEE", "OUTPUT(\"" + c.strOutput + "\") FORMAT DEL"));
    EXPECT_EQ(r.iStatus, c.iStatus);
    EXPECT_EQ(messages(r.strOut), c.strMessages);
  }
  EXPECT_FALSE(fs::exists(out("nodir")));

  /* the same through the export API (ptk002=1) */
  std::ofstream(strDir + "/sample/topzav/cfg/db2zav.cfg", std::ios::app) << "ptk002=1\n";
  RunResult r = run(request("SELECT * FROM ZAVTEST.EMPLOYEE", "OUTPUT(\"/dev/full\") FORMAT DEL"));
  EXPECT_EQ(r.iStatus, 10);
  EXPECT_EQ(messages(r.strOut),
            "ZORU062I DB2 FORCE SPECIFIED: SELECT PROCESS THROUGH DB2\n"
            "ZORU311E ERROR WHILE EXPORTING WITH DB2 API\n"
            "ZORU306E DB2 ERROR: SQL3002N  An I/O error occurred while writing to the output data file.\n"
            "SQL3002N  An I/O error occurred while writing to the output data file.\n" +
                end(8, 0x280a00a));
}

TEST_F(RunFailure, FailingFetchIsAnErrorNotTheEndOfTheData)
{
  /* a SMALLINT that does not fit: the engine refuses the row it is in */
  sql("INSERT INTO ZAVTEST.EMPLOYEE (EMPNO, FIRSTNME, LASTNAME, EDLEVEL) VALUES ('000999', 'BIG', 'LEVEL', 70000)");
  RunResult r = run(request("SELECT EMPNO, EDLEVEL FROM ZAVTEST.EMPLOYEE ORDER BY EMPNO", "OUTPUT(\"emp.del\") FORMAT DEL"));
  EXPECT_EQ(r.iStatus, 1);
  /* the DB2 text ends its own line */
  EXPECT_NE(messages(r.strOut).find("ZORU306E DB2 ERROR: SQL0413N  Overflow occurred during numeric data type "
                                    "conversion.  SQLSTATE=22003\nZORU410I ZAV UTILITY HAS UNLOADED "),
            std::string::npos)
      << r.strOut;
  EXPECT_EQ(r.strOut.substr(r.strOut.size() - end(8, 0x116a001).size()), end(8, 0x116a001));
  EXPECT_EQ(r.strOut.find("ZORU412I"), std::string::npos);
  /* the rows before the one that failed are in the file, and only they */
  std::vector<std::string> vLines = lines(zavtestReadText(out("emp.del")));
  EXPECT_EQ(static_cast<long>(vLines.size()), unloaded(r.strOut));
  EXPECT_FALSE(vLines.empty());
  for (const std::string &str : vLines) EXPECT_LT(str, "\"000999\"");
}

TEST_F(RunFailure, LongLobIsCutInlineWithAWarningAndWholeInALobFile)
{
  /* row 4 of DOCS holds a CLOB of 40,000 bytes: more than the 32,700 an
     inline value holds; through a LOB file the whole value is fetched */
  fs::create_directories(out("lobs"));
  RunResult r = run(request("SELECT ID, BODY FROM ZAVTEST.DOCS WHERE ID = 4",
                            "OUTPUT(\"docsl.del\") LOB IN(\"lobs\") LOBFILE(\"doc\") FORMAT DEL"));
  EXPECT_EQ(r.iStatus, 0) << r.strOut;
  EXPECT_NE(r.strOut.find("ZORU412I"), std::string::npos) << r.strOut;
  EXPECT_EQ(zavtestReadText(out("docsl.del")), "4,\"lobs/doc.001\"\n");
  const std::string strBody = zavtestReadText(out("lobs/doc.001"));
  ASSERT_EQ(strBody.size(), 40000u);

  const std::string strCut = "4,\"" + strBody.substr(0, 32700) + "\"";
  for (const char *pcOrder : {"DESC", "ASC"}) {
    SCOPED_TRACE(pcOrder);
    RunResult r = run(request(std::string("SELECT ID, BODY FROM ZAVTEST.DOCS ORDER BY ID ") + pcOrder,
                              "OUTPUT(\"docs.del\") FORMAT DEL"));
    EXPECT_EQ(r.iStatus, oreasonExitStatus(ZORURUN_RC_LOBCUT));
    std::string strRow = pcOrder[0] == 'D' ? "2" : "4";   /* rows 5 4 3 2 1, or 1 2 3 4 5 */
    EXPECT_EQ(unloaded(r.strOut), 5) << r.strOut;
    EXPECT_NE(messages(r.strOut).find("ZORU462W 1 VALUES OF ZAVTEST.DOCS IN docs.del ARE CUT TO THEIR FIRST 32700 "
                                      "BYTES (FIRST: ROW " + strRow + ")\n" + end(4, ZORURUN_RC_LOBCUT)),
              std::string::npos)
        << r.strOut;
    EXPECT_EQ(r.strOut.find("ZORU412I"), std::string::npos);
    std::vector<std::string> vLines = lines(zavtestReadText(out("docs.del")));
    ASSERT_EQ(vLines.size(), 6u);   /* row 3 holds a line end */
    int iFound = 0;
    for (const std::string &str : vLines)
      if (str.rfind("4,", 0) == 0) {
        iFound++;
        EXPECT_TRUE(str == strCut) << str.substr(0, 40) << "... (" << str.size() << " bytes)";
      }
    EXPECT_EQ(iFound, 1);
  }
}

TEST_F(RunFailure, RowsNoConverterCanWriteAreCountedAndTheRunWarns)
{
  sql("INSERT INTO ZAVTEST.EMPLOYEE (EMPNO, FIRSTNME, LASTNAME, HIREDATE, EDLEVEL) "
      "VALUES ('000005', 'BAD', 'DATE', '19xx-zz-01', 12), ('000006', 'BAD', 'AGAIN', '1999-1x-01', 12)");
  RunResult r = run(request("SELECT EMPNO, HIREDATE FROM ZAVTEST.EMPLOYEE ORDER BY EMPNO", "OUTPUT(\"emp.del\") FORMAT DEL"));
  EXPECT_EQ(r.iStatus, oreasonExitStatus(ZORURUN_RC_ROWSLOST));
  std::string strMessages = messages(r.strOut);
  const std::string strTail =
      "ZORU461W 2 ROWS OF ZAVTEST.EMPLOYEE COULD NOT BE CONVERTED AND ARE NOT IN emp.del (FIRST: ROW 1)\n" +
      end(4, ZORURUN_RC_ROWSLOST);
  ASSERT_GE(strMessages.size(), strTail.size()) << strMessages;
  EXPECT_EQ(strMessages.substr(strMessages.size() - strTail.size()), strTail);
  /* every other row is written */
  std::vector<std::string> vLines = lines(zavtestReadText(out("emp.del")));
  ASSERT_FALSE(vLines.empty());
  EXPECT_EQ(static_cast<long>(vLines.size()), unloaded(r.strOut));
  for (const std::string &str : vLines) EXPECT_GT(str, "\"000006\"");
}

TEST_F(RunFailure, SamplingAndTheRowLimitThroughDb2)
{
  const std::string strLog = strDir + "/calls.log";
  mEnv["ZAVDB2_CALLLOG"] = strLog;
  RunResult r = run(request("SELECT EMPNO FROM ZAVTEST.EMPLOYEE ORDER BY EMPNO", "OUTPUT(\"all.del\") FORMAT DEL"));
  EXPECT_EQ(r.iStatus, 0) << r.strOut;
  std::vector<std::string> vAll = lines(zavtestReadText(out("all.del")));
  ASSERT_GE(vAll.size(), 13u);
  fs::remove(strLog);
  r = run(request("SELECT EMPNO FROM ZAVTEST.EMPLOYEE ORDER BY EMPNO",
                  "OUTPUT(\"emp.del\") FORMAT DEL SKIP 2 INTERVAL 3 MAXROWS 4"));
  EXPECT_EQ(r.iStatus, 0) << r.strOut;
  /* rows 2, 5, 8 and 11 of the ordered table, counted from 0 */
  EXPECT_EQ(lines(zavtestReadText(out("emp.del"))), (std::vector<std::string>{vAll[2], vAll[5], vAll[8], vAll[11]}));
  /* the SELECT child fetched up to the twelfth row and no further */
  std::map<std::string, int> mapFetches;
  for (const std::string &str : lines(zavtestReadText(strLog)))
    if (str.find(" SQLFetch ") != std::string::npos) mapFetches[str.substr(0, str.find(' '))]++;
  /* (the main process's fetches are the catalogue's; a child that read the
     whole table would show one more than its rows) */
  bool boTwelve = false;
  for (auto &[strPid, iCount] : mapFetches) {
    EXPECT_NE(iCount, static_cast<int>(vAll.size()) + 1) << strPid;
    if (iCount == 12) boTwelve = true;
  }
  EXPECT_TRUE(boTwelve);

  r = run(request("SELECT EMPNO FROM ZAVTEST.EMPLOYEE ORDER BY EMPNO", "OUTPUT(\"emp5.del\") FORMAT DEL MAXROWS 5"));
  EXPECT_EQ(r.iStatus, 0) << r.strOut;
  EXPECT_EQ(lines(zavtestReadText(out("emp5.del"))).size(), 5u);
}

TEST_F(RunFailure, LockedAndDamagedStoresAreToldAsDb2TellsThem)
{
  /* a second connection holds the table file's lock past the lock timeout */
  sqlite3 *pdb = nullptr;
  ASSERT_EQ(sqlite3_open(store("ZAVTEST.db").c_str(), &pdb), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(pdb, "BEGIN EXCLUSIVE; UPDATE EMPLOYEE SET EDLEVEL = EDLEVEL", nullptr, nullptr, nullptr),
            SQLITE_OK);
  mEnv["ZAVDB2_LOCKTIMEOUT"] = "1";
  RunResult r = run(request("SELECT EMPNO FROM ZAVTEST.EMPLOYEE", "OUTPUT(\"emp.del\") FORMAT DEL"));
  sqlite3_exec(pdb, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(pdb);
  EXPECT_NE(r.iStatus, 0);
  EXPECT_NE(r.strOut.find("ZORU306E DB2 ERROR: SQL0911N  The current transaction has been rolled back because of a "
                          "deadlock or timeout.  Reason code \"68\".  SQLSTATE=40001\n"),
            std::string::npos)
      << r.strOut;
  EXPECT_EQ(r.strOut.find("SQL0204N"), std::string::npos) << r.strOut;
  EXPECT_NE(r.strOut.find("ZORU366I ZAV RETURN CODE 8"), std::string::npos) << r.strOut;
  EXPECT_FALSE(fs::exists(out("emp.del")));

  /* the same file with its header overwritten */
  {
    std::fstream f(store("ZAVTEST.db"), std::ios::in | std::ios::out | std::ios::binary);
    f.write(std::string(100, 'z').data(), 100);
  }
  r = run(request("SELECT EMPNO FROM ZAVTEST.EMPLOYEE", "OUTPUT(\"emp.del\") FORMAT DEL"));
  EXPECT_NE(r.iStatus, 0);
  EXPECT_NE(r.strOut.find("ZORU306E DB2 ERROR: SQL1034C  The database is damaged.  SQLSTATE=58031\n"),
            std::string::npos)
      << r.strOut;
  EXPECT_NE(r.strOut.find("ZORU366I ZAV RETURN CODE 8"), std::string::npos) << r.strOut;
  EXPECT_FALSE(fs::exists(out("emp.del")));
}

TEST_F(RunFailure, FormatUserThatCannotRunIsRefusedAtCheckTime)
{
  struct {
    const char *pcWhat;
    std::string strControl;
    int iStatus;
    std::string strTail;
  } aCases[] = {
      {"through DB2",
       request("SELECT DEPTNO, DEPTNAME FROM ZAVTEST.DEPT",
               "OUTPUT(\"dept.txt\") FORMAT USER (COL 1 TYPE CHAR(5), COL 2 TYPE VARCHAR(40))"),
       0x20, "ZORU464E FORMAT USER IS NOT AVAILABLE FOR A SELECT PROCESSED THROUGH DB2\n" + end(8, 0x105a020)},
      {"COL entries of a block with SELECTs",
       "GLOBAL CONNECT TO SAMPLE ;\nUNLOAD TABLESPACE USERSPACE1\n  FORMAT USER (COL 1 TYPE CHAR(5))\n"
       "  SELECT DEPTNO FROM ZAVTEST.DEPT ;\n    OUTPUT(\"dept.txt\")\n;\n",
       3,
       "ZORU010I ITEM STARTING AT (3,3) ENDING AT(3,35)\n"
       "ZORU465E FORMAT USER COLUMN SPECIFICATIONS ARE TAKEN ONLY AFTER A SELECT\n"
       "ZORU333E SYNTAX ERROR IN THE CONTROL FILE\n" +
           end(8, 0x107a003)},
  };
  for (auto &c : aCases) {
    SCOPED_TRACE(c.pcWhat);
    for (bool boCheckOnly : {true, false}) {
      RunResult r = run(c.strControl, boCheckOnly ? std::vector<std::string>{"-n"} : std::vector<std::string>{});
      EXPECT_EQ(r.iStatus, c.iStatus) << r.strOut;
      ASSERT_GE(r.strOut.size(), c.strTail.size()) << r.strOut;
      EXPECT_EQ(r.strOut.substr(r.strOut.size() - c.strTail.size()), c.strTail);
      EXPECT_FALSE(fs::exists(out("dept.txt")));
    }
  }
}

TEST_F(RunFailure, BackupBlockKeepsItsDb2ChoiceToItself)
{
  /* the replaced column table of a SELECT that falls back to DB2 is kept to
     the end on purpose, which the leak check would take for a leak */
  mEnv["ASAN_OPTIONS"] = "detect_leaks=0";
  RunResult r = run("GLOBAL\n  CONNECT TO SAMPLE\n  DB2 YES\n;\n"
                    "UNLOAD TABLESPACE USERSPACE1\n"
                    "  BACKUP (\"SAMPLE.0.zavinst.NODE0001.CATN0000.20240101120000.001\")\n"
                    "  SELECT * FROM ZAVTEST.DEPT ;\n    OUTPUT(\"dept.del\")\n;\n"
                    "UNLOAD TABLESPACE DMSDATA\n"
                    "  SELECT EMPNO FROM ZAVTEST.EMPLOYEE ORDER BY EMPNO ;\n    OUTPUT(\"emp.del\")\n;\n");
  /* the first block's image is missing; the second falls back to DB2 as it would alone */
  EXPECT_EQ(r.iStatus, 2);
  std::string strMessages = messages(r.strOut);
  EXPECT_NE(strMessages.find("ZORU420W DB2 YES IS INCOMPATIBLE WITH THE KEYWORD BACKUP, CONVERTED TO DB2 NO\n"),
            std::string::npos);
  EXPECT_NE(strMessages.find("ZORU063W UNSUPPORTED SELECT, WILL ATTEMPT DB2 PROCESSING\n"), std::string::npos)
      << strMessages;
  EXPECT_EQ(strMessages.find("ZORU380E"), std::string::npos) << strMessages;
  std::vector<std::string> vLines = lines(zavtestReadText(out("emp.del")));
  EXPECT_FALSE(vLines.empty());
  EXPECT_EQ(static_cast<long>(vLines.size()), unloaded(r.strOut));
  EXPECT_EQ(r.strOut.substr(r.strOut.size() - end(8, 0x114a002).size()), end(8, 0x114a002));
}

TEST_F(RunFailure, GarbledConfigurationLinesAreReportedWithTheirNumbers)
{
  const std::string strCfg = strDir + "/sample/topzav/cfg/db2zav.cfg";
  std::string strText = zavtestReadText(strCfg);
  int iLines = static_cast<int>(lines(strText).size());
  std::ofstream(strCfg, std::ios::app) << "this is not a setting\n\n# a comment\nbufsise=100\n";
  RunResult r = run(request("SELECT * FROM ZAVTEST.DEPT", "FORMAT DEL"), {"-n"});
  EXPECT_EQ(r.iStatus, 0) << r.strOut;
  EXPECT_EQ(r.strOut.substr(0, r.strOut.find("       ----+")),
            "ZORU466W LINE " + std::to_string(iLines + 1) + " OF " + strCfg +
                " IS IGNORED: NOT A KEY=VALUE LINE\n"
                "ZORU466W LINE " + std::to_string(iLines + 4) + " OF " + strCfg + " IS IGNORED: UNKNOWN KEY bufsise\n");
}

}  // namespace
