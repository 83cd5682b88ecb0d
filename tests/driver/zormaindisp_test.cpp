/*
** zormaindisp_test.cpp
**   The request dispatch.  In process: the request tree of -t (atoms, the
**   SELECT * marker, the SELECT text with and without qualifier and with
**   quoted names) and the listing ruler.  As subprocesses of the built
**   program against the bundled sample instance (built afresh for each
**   test): the listing of control files, syntax errors that stop the
**   request, standard input, the authorisation of -u users and of the OS
**   group, and requests shipped to another host, with no daemon there, with
**   a daemon that refuses the control file, and with the real service side
**   serving from a forked child.
*/
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <grp.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "common/ochaine.h"
#include "common/ochar.h"
#include "driver/args.h"
#include "model/parm.h"
#include "io/socket.h"
#include "common/obyte.h"
#include "io/authkey.h"
#include "model/token.h"
#include "model/zoratom.h"
#include "driver/zormain.h"
#include "driver/zormaindisp.h"
#include "model/zortask.h"
#include "tools/db2spcs.h"
#include "expr/zorcol.h"
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

const std::string gstrRuler =
    "       ----+----1----+----2----+----3----+----4----+----5----+----6----+----7----+----8----+----9----+----10"
    "----+----11----+----12----+----13--\n";

/* ------------------------------------------------------------------ in process */

std::string text(zortask *ptask, int iToken)
{
  zoratom *patom = zortaskDetermineAtom(ptask, gapnameTotalToken[iToken]);
  if (patom == nullptr) return "<none>";
  EXPECT_EQ(patom->iKind, ZORATOM_OCHAR);
  EXPECT_EQ(patom->iFlags, 0);   /* owned */
  ochar *pcharMixed = ocharCreate(0, gccsidMixed);   /* what the mixed CCSID gives a string */
  EXPECT_EQ(patom->value.pchar->usCCSID, pcharMixed->usCCSID);
  ocharDestroy(pcharMixed);
  const char *pc = _charText(patom->value.pchar);
  EXPECT_EQ(pc[patom->value.pchar->ilBU], '\0');
  return std::string(pc, static_cast<size_t>(patom->value.pchar->ilBU));
}

TEST(MainTableRequest, TreeOfOneTable)
{
  ASSERT_EQ(tokenInitKeyword(), 0);
  const std::string strQuotes(128, '"');
  struct {
    const char *pcQualifier;   /* NULL: none */
    int boQualifierDelimited;
    std::string strTable;
    int boTableDelimited;
    std::string strSql;
  } aCases[] = {
      {nullptr, 0, "SALES", 0, "SELECT * FROM SALES"},
      {"ADM", 0, "EMPLOYEE", 0, "SELECT * FROM ADM.EMPLOYEE"},
      {"Adm", 1, "Emp", 1, "SELECT * FROM \"Adm\".\"Emp\""},
      {"ADM", 0, "a\"b", 1, "SELECT * FROM ADM.\"a\"\"b\""},
      {"my.schema", 1, "T", 0, "SELECT * FROM \"my.schema\".T"},
      {nullptr, 0, strQuotes, 1, "SELECT * FROM \"" + strQuotes + strQuotes + "\""},
  };
  for (auto &c : aCases) {
    SCOPED_TRACE(c.strSql);
    argsOptions args{};
    args.boTable = 1;
    std::snprintf(args.acTable, sizeof args.acTable, "%s", c.strTable.c_str());
    args.boTableDelimited = c.boTableDelimited;
    if (c.pcQualifier != nullptr) {
      args.boQualifier = 1;
      std::snprintf(args.acQualifier, sizeof args.acQualifier, "%s", c.pcQualifier);
      args.boQualifierDelimited = c.boQualifierDelimited;
    }
    zortask *ptaskGlobal = _mainBuildTaskGlobal(&args);
    ASSERT_NE(ptaskGlobal, nullptr);

    /* GLOBAL (TASKTYPE 5) -> one unnamed block -> SELECT */
    EXPECT_EQ(ptaskGlobal->pcName, gapnameTotalToken[TOKEN_GLOBAL]);
    zoratom *ptype = zortaskDetermineAtom(ptaskGlobal, gapnameTotalToken[TOKEN_TASKTYPE]);
    ASSERT_NE(ptype, nullptr);
    EXPECT_EQ(ptype->iKind, ZORATOM_INTEGER);
    EXPECT_EQ(ptype->iFlags, ZORATOM_BORROWED);
    EXPECT_EQ(ptype->value.iValue, 5);
    ASSERT_NE(ptaskGlobal->pchaineSubTasks, nullptr);
    ASSERT_EQ(ptaskGlobal->pchaineSubTasks->iItemCount, 1);
    auto *ptaskUnload = static_cast<zortask *>(ptaskGlobal->pchaineSubTasks->pitemTop);
    EXPECT_EQ(ptaskUnload->pcName, nullptr);
    EXPECT_EQ(ptaskUnload->ptaskOwner, ptaskGlobal);
    EXPECT_EQ(ptaskGlobal->pchaineSubTasks->procDestroy, zortaskChaineDestroy);
    ASSERT_NE(ptaskUnload->pchaineSubTasks, nullptr);
    ASSERT_EQ(ptaskUnload->pchaineSubTasks->iItemCount, 1);
    auto *ptaskSelect = static_cast<zortask *>(ptaskUnload->pchaineSubTasks->pitemTop);
    EXPECT_EQ(ptaskSelect->pcName, gapnameTotalToken[TOKEN_SELECT]);
    EXPECT_EQ(ptaskSelect->ptaskOwner, ptaskUnload);

    /* the plain names in the atoms, the quoted ones in the SQL text only */
    EXPECT_EQ(text(ptaskSelect, TOKEN_TBNAME), c.strTable);
    EXPECT_EQ(text(ptaskSelect, TOKEN_TBQUALIFIER), c.pcQualifier != nullptr ? c.pcQualifier : "<none>");
    EXPECT_EQ(text(ptaskSelect, TOKEN_SELECTSQL), c.strSql);

    /* SELECT *: an empty column chain carrying the marker */
    zoratom *pselect = zortaskDetermineAtom(ptaskSelect, gapnameTotalToken[TOKEN_SELECT]);
    ASSERT_NE(pselect, nullptr);
    EXPECT_EQ(pselect->iKind, ZORATOM_OCHAINE);
    EXPECT_EQ(pselect->iFlags, 0);
    ochaine *pchaine = pselect->value.pchaine;
    ASSERT_NE(pchaine, nullptr);
    EXPECT_EQ(pchaine->iItemCount, 0);
    EXPECT_EQ(pchaine->pData, 0xE2E3C1u);
    EXPECT_EQ(pchaine->iItemSize, static_cast<int>(sizeof(zorcol)));
    EXPECT_EQ(pchaine->procClone, nullptr);
    EXPECT_EQ(pchaine->procDestroy, zorcolDestroyChaineItem);

    /* a copy of the tree keeps the marker (the run step's children copy it) */
    zortask *pclone = zortaskClone(ptaskSelect, 1);
    ASSERT_NE(pclone, nullptr);
    zoratom *pcopy = zortaskDetermineAtom(pclone, gapnameTotalToken[TOKEN_SELECT]);
    ASSERT_NE(pcopy, nullptr);
    EXPECT_EQ(pcopy->value.pchaine->pData, 0xE2E3C1u);
    zortaskDestroy(pclone);
    zortaskDestroy(ptaskGlobal);
  }
}

TEST(MainTableRequest, NoUnloadBlockPassesAuthorisation)
{
  ASSERT_EQ(tokenInitKeyword(), 0);
  zortask *ptask = zortaskCreateNamed(gapnameTotalToken[TOKEN_GLOBAL]);
  ASSERT_NE(ptask, nullptr);
  EXPECT_EQ(_mainControlAuth(ptask), 0);
  zortaskDestroy(ptask);
}

TEST(MainListing, Ruler)
{
  std::string str = _mainListingRuler();
  EXPECT_EQ(str, gstrRuler);
  EXPECT_EQ(str.size(), 143u + 1u);
}

/* ------------------------------------------------------------------ subprocesses */

using RunResult = zavprocResult;

/* Runs the program with exactly the environment given, in strCwd, with
** strInput on standard input, as uid/gid when uid is not -1. */
RunResult runProgram(const std::vector<std::string> &vArgs, const std::map<std::string, std::string> &mEnv,
                     const std::string &strCwd, const std::string &strInput, uid_t uid = static_cast<uid_t>(-1),
                     gid_t gid = static_cast<gid_t>(-1))
{
  zavprocSpec spec;
  spec.vArgv = {ZAV_DB2ZAV_PROGRAM};
  spec.vArgv.insert(spec.vArgv.end(), vArgs.begin(), vArgs.end());
  spec.mEnv = mEnv;
  spec.strCwd = strCwd;
  spec.strInputFile = strCwd + "/.stdin_h17";
  std::ofstream(spec.strInputFile) << strInput;
  spec.uid = uid;
  spec.gid = gid;
  RunResult r = zavprocRun(spec);
  fs::remove(spec.strInputFile);
  return r;
}

std::string end(int iReason)
{
  char ac[100];
  std::snprintf(ac, sizeof ac, "ZORU366I ZAV RETURN CODE %d (REASON CODE 0x%x)\n", (iReason & 0x7000) >> 10,
                iReason);
  return ac;
}

/* The listing of a file whose lines are all shorter than 133 characters. */
std::string listing(const std::string &strText)
{
  std::string str = gstrRuler;
  std::istringstream in(strText);
  std::string strLine;
  int i = 0;
  char ac[16];
  while (std::getline(in, strLine)) {
    std::snprintf(ac, sizeof ac, "%06d ", ++i);
    str += ac + strLine + "\n";
  }
  return str + "\n";
}

/* What -n prints when the request passes the control step. */
const std::string gstrChecked = "ZORU426I CONTROL FILE SYNTAX IS CORRECT\n";

/* The end of a table request on the sample once the fixture has replaced its
   table-space control file (below): the containers named do not exist, so
   the run step finds no rows. */
const std::string gstrNoEmployeeData =
    "...ZORU357E NO DATA FOUND FOR THE TABLE ZAVTEST.EMPLOYEE ON SPECIFIED PARTITIONS\n"
    "ZORU366I ZAV RETURN CODE 8 (REASON CODE 0x10da007)\n";

/* A correct control file. */
const std::string gstrGood = "UNLOAD TABLESPACE USERSPACE1\n  SELECT * FROM ZAVTEST.DEPT ;\n  FORMAT DEL\n;\n";

/* The bundled sample instance in a temporary directory, a working
** directory for the runs, and the environment that finds them. */
class MainRequest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    char acDir[] = "/tmp/zormaindisp_testXXXXXX";
    ASSERT_NE(mkdtemp(acDir), nullptr);
    strDir = acDir;
    std::string strCmd = std::string(ZAV_ZAVSAMPLE_PROGRAM) + " " + strDir + "/sample " + strDir + "/nomsg " +
                         ZAV_DB2ZAV_PROGRAM + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(strCmd.c_str()), 0) << strCmd;
    fs::create_directories(strDir + "/run");
    /* the table-space control file of partition 0 is replaced by one whose
       containers do not exist: the control step passes and a table request
       ends in the run step without rows, whatever the sample's containers hold */
    std::string strSpcs = strDir + "/sample/data/zavinst/NODE0000/SQL00001/";
    fs::create_directories(strSpcs);
    std::vector<db2spcsTablespace> vSpaces;
    int16_t sId = 2;
    for (const char *pc : {"USERSPACE1", "DMSDATA", "DMSLONG"}) {
      db2spcsTablespace ts;
      ts.sId = sId++;
      ts.strName = pc;
      ts.vContainers.push_back({std::string("c_") + pc, 0, 0, 0, 4096});
      vSpaces.push_back(ts);
    }
    ASSERT_TRUE(db2spcsWriteFile(strSpcs + "SQLSPCS.1", vSpaces));
    mEnv = {{"TOPZAV", strDir + "/sample/topzav"},
            {"ZAVDB2_INSTHOME", strDir + "/sample/home"},
            {"LANG", "C"},
            {"PATH", "/usr/bin:/bin"}};
  }
  void TearDown() override
  {
    if (!strDir.empty()) fs::remove_all(strDir);
  }
  std::string ctl(const std::string &strName, const std::string &strText)
  {
    std::string strPath = strDir + "/run/" + strName;
    std::ofstream(strPath) << strText;
    return strPath;
  }
  RunResult run(const std::vector<std::string> &vArgs, const std::string &strInput = "")
  {
    return runProgram(vArgs, mEnv, strDir + "/run", strInput);
  }
  std::string strDir;
  std::map<std::string, std::string> mEnv;
};

TEST_F(MainRequest, ControlFilesAreListedThenReachTheFirstMissingStep)
{
  int iFiles = 0;
  for (auto &entry : fs::directory_iterator(ZAV_SOURCE_DIR "/tests/control/data")) {
    if (entry.path().extension() != ".ctl") continue;
    iFiles++;
    SCOPED_TRACE(entry.path().filename().string());
    RunResult r = run({"-f", entry.path().string()});
    /* listed, then checked against the sample: the files name tables and
       containers the sample does not have, so most stop in the control step */
    std::string strListing = listing(zavtestReadText(entry.path().string()));
    EXPECT_NE(r.iStatus, 0);
    EXPECT_EQ(r.strOut.substr(0, strListing.size()), strListing);
    EXPECT_NE(r.strOut.find("ZORU366I ZAV RETURN CODE"), std::string::npos) << r.strOut;
  }
  EXPECT_GE(iFiles, 4);
}

TEST_F(MainRequest, LongLinesAreListedInPieces)
{
  /* 200 characters: a piece of 133 and one of 67, so the numbers run one
     ahead of the file's lines after it */
  const std::string strLong = "--" + std::string(198, 'x');
  RunResult r = run({"-n", "-f", ctl("long.ctl", "-- a line\n" + strLong + "\n" + gstrGood)});
  EXPECT_EQ(r.iStatus, 0);
  EXPECT_EQ(r.strOut, gstrRuler + "000001 -- a line\n" + "000002 " + strLong.substr(0, 133) + "\n" + "000003 " +
                          strLong.substr(133) + "\n" + "000004 UNLOAD TABLESPACE USERSPACE1\n" +
                          "000005   SELECT * FROM ZAVTEST.DEPT ;\n" + "000006   FORMAT DEL\n" + "000007 ;\n" + "\n" +
                          gstrChecked);

  /* a last line without newline is listed with one */
  r = run({"-n", "-f", ctl("nonl.ctl", gstrGood + "-- end")});
  EXPECT_EQ(r.strOut, listing(gstrGood + "-- end\n") + gstrChecked);
}

TEST_F(MainRequest, SyntaxErrorsStopTheRequest)
{
  /* The $IMAIN trace tells whether the parser recovered. */
  std::ofstream(strDir + "/sample/topzav/cfg/db2zav.trace") << "$IMAIN\n";
  struct {
    const char *pcWhat;
    std::string strText;
  } aCases[] = {
      {"empty file", ""},
      {"blanks only", "  \n\n"},
      {"bad SELECT option", "UNLOAD TABLESPACE X\n  SELECT * FROM A.B ;\n   FORMAT BOGUS\n;\n"},
      {"bad keyword value, parse recovers", "GLOBAL LOCK MAYBE ;\n" + gstrGood},
      {"two bad SELECTs", "UNLOAD TABLESPACE X\n  SELECT * FROM A.B ;\n   FORMAT BOGUS\n"
                          "  SELECT * FROM A.C ;\n   FORMAT ALSO BAD\n;\n"},
      {"no semicolon", "UNLOAD TABLESPACE X\n  SELECT * FROM A.B ;\n"},
  };
  bool boRecovered = false;
  for (auto &c : aCases) {
    SCOPED_TRACE(c.pcWhat);
    for (auto &entry : fs::directory_iterator(strDir + "/run"))
      if (entry.path().filename().string().rfind("$IMAIN", 0) == 0) fs::remove(entry.path());
    RunResult r = run({"-f", ctl("bad.ctl", c.strText)});
    EXPECT_EQ(r.iStatus, 3);
    const std::string strTail = "ZORU333E SYNTAX ERROR IN THE CONTROL FILE\n" + end(MAIN_RC_SYNTAX);
    ASSERT_GE(r.strOut.size(), strTail.size()) << r.strOut;
    EXPECT_EQ(r.strOut.substr(0, listing(c.strText).size()), listing(c.strText));
    EXPECT_EQ(r.strOut.substr(r.strOut.size() - strTail.size()), strTail);
    /* the parser's own messages come between the listing and ZORU333E */
    EXPECT_NE(r.strOut.find("ZORU010I ITEM STARTING AT"), std::string::npos) << r.strOut;
    EXPECT_EQ(r.strOut.find("ZORU990E"), std::string::npos) << r.strOut;
    for (auto &entry : fs::directory_iterator(strDir + "/run"))
      if (entry.path().filename().string().rfind("$IMAIN", 0) == 0 &&
          zavtestReadText(entry.path().string()).find("zor3yyparse = 0, error level") != std::string::npos)
        boRecovered = true;
  }
  EXPECT_TRUE(boRecovered) << "no case where the parser recovered and the request still stopped";
}

TEST_F(MainRequest, StandardInputAndUnreadableFiles)
{
  /* "stdin" reads standard input and lists nothing, even with a file of
     that name in the working directory; "./stdin" is that file. */
  ctl("stdin", "UNLOAD TABLESPACE X\n  SELECT * FROM A.B ;\n   FORMAT BOGUS\n;\n");
  RunResult r = run({"-n", "-f", "stdin"}, gstrGood);
  EXPECT_EQ(r.iStatus, 0);
  EXPECT_EQ(r.strOut, gstrChecked);

  r = run({"-f", "stdin"}, "UNLOAD TABLESPACE X\n;\n;\n");
  EXPECT_EQ(r.iStatus, 3);
  EXPECT_EQ(r.strOut.find(gstrRuler), std::string::npos);
  EXPECT_NE(r.strOut.find("ZORU333E"), std::string::npos);

  r = run({"-f", "./stdin"}, gstrGood);
  EXPECT_EQ(r.iStatus, 3);
  EXPECT_EQ(r.strOut.substr(0, gstrRuler.size()), gstrRuler);

  /* -l: not listed */
  r = run({"-n", "-f", ctl("good.ctl", gstrGood), "-l"});
  EXPECT_EQ(r.iStatus, 0);
  EXPECT_EQ(r.strOut, gstrChecked);

  /* a file that cannot be read: nothing listed; the next line names the
     file as given and the system's reason */
  r = run({"-f", strDir + "/run/nosuch.ctl"});
  EXPECT_EQ(r.iStatus, 2);
  EXPECT_EQ(r.strOut, "ZORU001E SYSIN CANNOT BE OPENED.\nZORU002I CONTROL FILE " + strDir +
                          "/run/nosuch.ctl: No such file or directory\n" + end(MAIN_RC_NOSYSIN));
  r = run({"-f", strDir + "/run"});   /* a directory opens but does not read */
  EXPECT_EQ(r.iStatus, 2);
  EXPECT_NE(r.strOut.find("ZORU001E SYSIN CANNOT BE OPENED.\nZORU002I CONTROL FILE " + strDir +
                          "/run: Is a directory\n" + end(MAIN_RC_NOSYSIN)),
            std::string::npos)
      << r.strOut;
}

TEST_F(MainRequest, TableRequestAndDb2UserAuthorisation)
{
  std::string strLog = strDir + "/calls.log";
  mEnv["ZAVDB2_CALLLOG"] = strLog;
  struct {
    std::vector<std::string> vArgs;
    int iStatus;
    std::string strOut;   /* exact, or "...": begins with what is before, ends with what is after */
  } aCases[] = {
      /* the instance user's own group: passes the control step and reaches the run step */
      {{"-t", "zavtest.employee"}, 7, gstrNoEmployeeData},
      /* a user holding DBADM through its group */
      {{"-t", "zavtest.employee", "-u", "zavuser", "-p", "zavpw"}, 7, gstrNoEmployeeData},
      {{"-t", "zavtest.employee", "-u", "nobody2", "-p", "nopw"}, 1,
       "ZORU329E DB2 USER nobody2 NOT AUTHORIZED TO LAUNCH ZAV\n" + end(MAIN_RC_NOTAUTH)},
      {{"-t", "zavtest.employee", "-u", "zavuser", "-p", "wrong"}, 3,
       "ZORU309E ERROR WHILE CONNECTING TO DATABASE SAMPLE\n...ZORU366I ZAV RETURN CODE 8 (REASON CODE 0x280a003)\n"},
  };
  for (auto &c : aCases) {
    std::string strWhat;
    for (auto &s : c.vArgs) strWhat += s + " ";
    SCOPED_TRACE(strWhat);
    fs::remove(strLog);
    RunResult r = run(c.vArgs);
    EXPECT_EQ(r.iStatus, c.iStatus);
    size_t ulDots = c.strOut.find("...");
    if (ulDots == std::string::npos) {
      EXPECT_EQ(r.strOut, c.strOut);
    } else {
      std::string strHead = c.strOut.substr(0, ulDots), strTail = c.strOut.substr(ulDots + 3);
      EXPECT_EQ(r.strOut.substr(0, strHead.size()), strHead) << r.strOut;
      ASSERT_GE(r.strOut.size(), strTail.size());
      EXPECT_EQ(r.strOut.substr(r.strOut.size() - strTail.size()), strTail);
    }
    /* a connection made for the check is closed before the request ends */
    std::string strCalls = zavtestReadText(strLog);
    size_t ulConnect = strCalls.rfind("SQLConnect");
    if (c.vArgs.size() > 2 && c.iStatus != 3) {
      ASSERT_NE(ulConnect, std::string::npos) << strCalls;
      EXPECT_NE(strCalls.find("SQLDisconnect", ulConnect), std::string::npos) << strCalls;
    }
  }
}

/* ------------------------------------------------------------------ the OS group */

bool makeUser(const std::string &strName, uid_t *puid, gid_t *pgid)
{
  /* useradd fails while another process holds the password file's lock */
  std::string strCmd = "useradd -M -U -s /bin/false " + strName + " >/dev/null 2>&1";
  for (int i = 0; i < 20; i++) {
    if (std::system(strCmd.c_str()) == 0) break;
    usleep(250000);
  }
  struct passwd *ppw = getpwnam(strName.c_str());
  if (ppw == nullptr) return false;
  *puid = ppw->pw_uid;
  *pgid = ppw->pw_gid;
  return true;
}

void removeUser(const std::string &strName)
{
  std::string strCmd = "userdel " + strName + " >/dev/null 2>&1; groupdel " + strName + " >/dev/null 2>&1";
  for (int i = 0; i < 20; i++) {
    if (std::system(strCmd.c_str()) != 0) { /* not there, or the lock is held */ }
    if (getpwnam(strName.c_str()) == nullptr && getgrnam(strName.c_str()) == nullptr) return;
    usleep(250000);
  }
}

TEST_F(MainRequest, GroupOfTheEffectiveUserMustBeTheInstanceUsersGroup)
{
  if (getuid() != 0) GTEST_SKIP() << "needs root to create a user and run as it";
  struct passwd *ppwSelf = getpwuid(getuid());
  ASSERT_NE(ppwSelf, nullptr);
  const std::string strInstanceUser = ppwSelf->pw_name;   /* the sample's instance user */
  const std::string strUser = "zdg" + std::to_string(getpid() % 100000);
  removeUser(strUser);
  struct Remover {
    std::string str;
    ~Remover() { removeUser(str); }
  } remover{strUser};
  uid_t uid;
  gid_t gid;
  ASSERT_TRUE(makeUser(strUser, &uid, &gid));
  ASSERT_NE(gid, ppwSelf->pw_gid);
  /* the user must reach the installation and the run directory */
  fs::permissions(strDir, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
  fs::permissions(strDir + "/run", fs::perms::all);
  /* a changed identity leaves a process that leak checking cannot inspect */
  mEnv["ASAN_OPTIONS"] = "detect_leaks=0";

  RunResult r = run({"-t", "zavtest.employee", "--identity", strUser});
  EXPECT_EQ(r.iStatus, 1);
  EXPECT_EQ(r.strOut, "ZORU330E OS USER " + strUser + " NOT AUTHORIZED TO LAUNCH ZAV THROUGH INSTANCE USER " +
                          strInstanceUser + "\n" + end(MAIN_RC_NOTAUTH));

  /* with -u the DB2 authorities decide, not the group */
  r = run({"-t", "zavtest.employee", "--identity", strUser, "-u", "zavuser", "-p", "zavpw"});
  EXPECT_EQ(r.iStatus, 7);
  const std::string strTail = gstrNoEmployeeData.substr(3);
  ASSERT_GE(r.strOut.size(), strTail.size()) << r.strOut;
  EXPECT_EQ(r.strOut.substr(r.strOut.size() - strTail.size()), strTail);
}

/* ------------------------------------------------------------------ another host */

/* A listening socket on an ephemeral port of 127.0.0.2, the sample's other host. */
int listenLoopback(int *piPort) { return zavtestListen("127.0.0.2", 8, piPort); }

/* A daemon in a forked child serving iConversations connections with fn. */
class Daemon {
 public:
  Daemon(int iConversations, std::function<void(int)> fn)
  {
    int iListen = listenLoopback(&iPort_);
    EXPECT_GE(iListen, 0);
    std::fflush(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
      alarm(60);   /* never outlive a stuck test */
      for (int i = 0; i < iConversations; i++) {
        int fd = accept(iListen, nullptr, nullptr);
        if (fd < 0) break;
        fn(fd);
      }
      _exit(0);
    }
    close(iListen);
  }
  ~Daemon()
  {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  int port() const { return iPort_; }

 private:
  pid_t pid_ = -1;
  int iPort_ = 0;
};

/* The sample's other host is 127.0.0.2: a loopback address that is no
   address of an interface, so the program ships the request there, and the
   test daemon (listening on every address) answers it. */
const char *kpcOtherHost = "127.0.0.2";

class MainRemote : public MainRequest {
 protected:
  void SetUp() override
  {
    MainRequest::SetUp();
    makeKey();
  }
  /* The instance secret of the sample, made by the documented command. */
  void makeKey()
  {
    std::string strCmd = "TOPZAV=" + strDir + "/sample/topzav " ZAV_DB2ZAVKEY_PROGRAM " zavinst >/dev/null 2>&1";
    ASSERT_EQ(std::system(strCmd.c_str()), 0) << strCmd;
  }
};

TEST_F(MainRemote, NoDaemonOnTheHost)
{
  int iPort = 0;
  int fd = listenLoopback(&iPort);
  ASSERT_GE(fd, 0);
  close(fd);   /* nothing listens there any more */
  mEnv[SOCKET_PORT_ENV] = std::to_string(iPort);
  RunResult r = run({"-f", ctl("good.ctl", gstrGood), "--host", kpcOtherHost});
  EXPECT_EQ(r.iStatus, 8);   /* nothing was unloaded: not a success */
  EXPECT_EQ(r.strOut, std::string("ZORU358W THERE IS NO ZAV DAEMON LAUNCHED ON ") + kpcOtherHost + " HOST\n" +
                          end(MAIN_RC_NODAEMON));

  /* a control file that cannot be read is reported before any host is asked */
  r = run({"-f", strDir + "/run/nosuch.ctl", "--host", kpcOtherHost});
  EXPECT_EQ(r.iStatus, 2);
  EXPECT_EQ(r.strOut, "ZORU001E SYSIN CANNOT BE OPENED.\nZORU002I CONTROL FILE " + strDir +
                          "/run/nosuch.ctl: No such file or directory\n" + end(MAIN_RC_NOSYSIN));
}

/* This host named by its full name, its short name or an address of it is
   this host: the request runs here, no daemon is asked. */
TEST_F(MainRemote, TheLocalHostByItsNamesRunsHere)
{
  int iPort = 0;
  int fd = listenLoopback(&iPort);
  ASSERT_GE(fd, 0);
  close(fd);
  mEnv[SOCKET_PORT_ENV] = std::to_string(iPort);
  char acFull[256] = {0};
  gethostname(acFull, sizeof acFull - 1);
  for (std::string strHost : {std::string(acFull), std::string(acFull, strcspn(acFull, ".")),
                              std::string("localhost"), std::string("127.0.0.1")}) {
    RunResult r = run({"-n", "-f", ctl("good.ctl", gstrGood), "--host", strHost});
    EXPECT_EQ(r.iStatus, 0) << strHost;
    EXPECT_EQ(r.strOut, listing(gstrGood) + gstrChecked) << strHost;
  }
}

TEST_F(MainRemote, DaemonRefusesTheControlFile)
{
  /* the daemon proves the key (TLS), answers the ping, then refuses the control file */
  std::string strTop = strDir + "/sample/topzav";
  Daemon daemon(2, [&](int fd) {
    setenv("TOPZAV", strTop.c_str(), 1);
    zor3socketMessage msg{};
    char *pcErr = nullptr;
    unsigned char aucKey[AUTHKEY_SIZE];
    std::string strWhy;
    auto reply = [&](uint32_t ulCode) {
      unsigned char auc[12];
      obytePutBE32(auc, sizeof auc);
      obytePutBE32(auc + 4, SOCKET_VERSION);
      obytePutBE32(auc + 8, ulCode);
      _iSOCKETsend(fd, auc, sizeof auc, &pcErr);
    };
    if (_iSOCKETread(fd, &msg, &pcErr) == 0 && msg.ulCode == SOCKET_RQ_HELLO &&
        authkeyLoad("zavinst", aucKey, &strWhy) == 0) {
      std::free(msg.pcPayload);
      reply(SOCKET_RP_DONE);   /* in clear: TLS begins */
      if (_iSOCKETstartTls(fd, 1, "zavinst", aucKey, &pcErr) == 0 && _iSOCKETread(fd, &msg, &pcErr) == 0) {
        if (msg.ulCode == SOCKET_RQ_PING) {
          reply(SOCKET_RP_DONE);
          std::free(msg.pcPayload);
          if (_iSOCKETread(fd, &msg, &pcErr) == 0) std::free(msg.pcPayload);   /* the end */
        } else {
          std::free(msg.pcPayload);
          iSOCKETsendError(fd, 16, SOCKET_ERROR_ID, "no room for the control file");
        }
      }
    } else {
      std::free(msg.pcPayload);
      iSOCKETsendError(fd, 16, SOCKET_ERROR_ID, "Authentication failed");
    }
    vSOCKETclose(fd);
  });
  mEnv[SOCKET_PORT_ENV] = std::to_string(daemon.port());
  RunResult r = run({"-f", ctl("good.ctl", gstrGood), "--host", kpcOtherHost});
  EXPECT_EQ(r.iStatus, 7);
  EXPECT_EQ(r.strOut, std::string("ZORU450E THE ZAV DAEMON ON ") + kpcOtherHost +
                          " HOST REFUSED THE REQUEST: ZOR0666F no room for the control file\n" + end(MAIN_RC_NOSAVE));

}

/* A host whose daemon takes the connection and then never says a word:
   db2zav gives up after daemontimeout seconds, names the host and ends
   non-zero, instead of waiting for ever. */
TEST_F(MainRemote, ADaemonThatNeverAnswersFailsTheRequest)
{
  int iPort = 0;
  int fd = listenLoopback(&iPort);   /* never accepts: the system completes the connections */
  ASSERT_GE(fd, 0);
  std::ofstream(strDir + "/sample/topzav/cfg/db2zav.cfg", std::ios::app) << "daemontimeout=2\n";
  mEnv[SOCKET_PORT_ENV] = std::to_string(iPort);
  zavprocSpec spec;
  spec.vArgv = {ZAV_DB2ZAV_PROGRAM, "-f", ctl("good.ctl", gstrGood), "--host", kpcOtherHost};
  spec.mEnv = mEnv;
  spec.strCwd = strDir + "/run";
  spec.strOutFile = strDir + "/silent.out";
  pid_t pid = zavprocSpawn(spec);
  ASSERT_GT(pid, 0);
  int iStatus = -1;
  bool boEnded = false;
  for (int i = 0; i < 6000 && !boEnded; i++) {
    boEnded = waitpid(pid, &iStatus, WNOHANG) == pid;
    if (!boEnded) usleep(10000);
  }
  if (!boEnded) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  close(fd);
  ASSERT_TRUE(boEnded) << "db2zav still waits for the silent daemon after a minute";
  EXPECT_TRUE(WIFEXITED(iStatus));
  EXPECT_EQ(WEXITSTATUS(iStatus), MAIN_RC_REFUSED & 0xFF);
  EXPECT_EQ(zavtestReadText(spec.strOutFile), std::string("ZORU450E THE ZAV DAEMON ON ") + kpcOtherHost +
                                                  " HOST REFUSED THE REQUEST: No answer within 2 seconds\n" +
                                                  end(MAIN_RC_REFUSED));
}

/* A signal that asks the program to stop ends a wait for the daemon at once,
   whatever time the daemon still has: a daemon that accepts and says
   nothing, and one that sends half a reply, with a daemontimeout of a
   minute.  The request ends with ZORU495E and 128 + the signal, and does
   not blame the other host (no ZORU450E, no ZORU358W). */
TEST_F(MainRemote, ASignalEndsTheWaitForADaemonAtOnce)
{
  std::ofstream(strDir + "/sample/topzav/cfg/db2zav.cfg", std::ios::app) << "daemontimeout=60\n";
  const std::string strAccepted = strDir + "/accepted";
  const struct {
    const char *pcPeer;
    bool boHalfReply;   /* sends the first bytes of a reply's header, then nothing */
    int iSignal;
    bool boGroup;       /* to the process group, else to the program alone */
  } aCases[] = {
      {"silent", false, SIGINT, true},
      {"silent", false, SIGTERM, false},
      {"half a reply", true, SIGHUP, true},
  };
  for (const auto &c : aCases) {
    SCOPED_TRACE(std::string(c.pcPeer) + " " + strsignal(c.iSignal));
    fs::remove(strAccepted);
    Daemon daemon(1, [&](int fd) {
      if (c.boHalfReply) {
        char ac[64];
        if (read(fd, ac, sizeof ac) < 0) _exit(1);
        if (write(fd, "\0\0\1", 3) != 3) _exit(1);
      }
      std::ofstream(strAccepted) << "yes\n";
      sleep(120);
    });
    mEnv[SOCKET_PORT_ENV] = std::to_string(daemon.port());
    zavprocSpec spec;
    spec.vArgv = {ZAV_DB2ZAV_PROGRAM, "-f", ctl("good.ctl", gstrGood), "--host", kpcOtherHost};
    spec.mEnv = mEnv;
    spec.strCwd = strDir + "/run";
    spec.strOutFile = strDir + "/signalled.out";
    spec.boNewGroup = true;
    pid_t pid = zavprocSpawn(spec);
    ASSERT_GT(pid, 0);
    bool boAccepted = false;
    for (int i = 0; i < 3000 && !boAccepted; i++) {
      boAccepted = fs::exists(strAccepted);
      if (!boAccepted) usleep(10000);
    }
    EXPECT_TRUE(boAccepted) << "the request never reached the daemon";
    usleep(100000);   /* the program waits for the reply */
    kill(c.boGroup ? -pid : pid, c.iSignal);
    /* well within the daemon's time: the signal, not the time limit, ends the wait */
    int iStatus = -1;
    bool boEnded = zavprocWaitOrKill(pid, 20000, &iStatus);
    std::string strOut = zavtestReadText(spec.strOutFile);
    ASSERT_TRUE(boEnded) << "db2zav still waits for the daemon 20 seconds after the signal\n" << strOut;
    ASSERT_TRUE(WIFEXITED(iStatus)) << strOut;
    EXPECT_EQ(WEXITSTATUS(iStatus), 128 + c.iSignal) << strOut;
    EXPECT_NE(strOut.find("ZORU495E ZAV WAS INTERRUPTED BY SIGNAL " + std::to_string(c.iSignal)), std::string::npos)
        << strOut;
    EXPECT_EQ(strOut.find("ZORU450E"), std::string::npos) << strOut;
    EXPECT_EQ(strOut.find("ZORU358W"), std::string::npos) << strOut;
  }
}

TEST_F(MainRemote, RequestRunsOnTheOtherHostAndEndsWithItsStatus)
{
  /* The real service side runs the program of the sample installation with
     the saved control file, as the instance user (never root); its messages
     come back, and the local exit status is the remote run's. */
  std::string strUser;
  struct Remover {
    std::string str;
    ~Remover()
    {
      if (!str.empty()) removeUser(str);
    }
  } remover;
  if (geteuid() == 0) {
    strUser = "zdr" + std::to_string(getpid() % 100000);
    removeUser(strUser);
    uid_t uid;
    gid_t gid;
    ASSERT_TRUE(makeUser(strUser, &uid, &gid));
    remover.str = strUser;
    std::string strCfg = strDir + "/sample/topzav/cfg/db2zav.cfg";
    std::string strText = zavtestReadText(strCfg);
    size_t ulAt = strText.find("instusers=zavinst:");
    ASSERT_NE(ulAt, std::string::npos);
    size_t ulEnd = strText.find('\n', ulAt);
    strText.replace(ulAt, ulEnd - ulAt, "instusers=zavinst:" + strUser);
    std::ofstream(strCfg) << strText;
    fs::remove(strDir + "/sample/home/.db2zav.key");
    makeKey();
    /* the instance user runs the program itself, not a link into a build
       tree it may not reach */
    std::string strProgram = strDir + "/sample/topzav/bin/db2zav";
    std::string strTarget = fs::canonical(strProgram).string();
    fs::remove(strProgram);
    fs::copy_file(strTarget, strProgram);
    for (auto &entry : fs::recursive_directory_iterator(strDir))
      if (entry.is_directory()) chmod(entry.path().c_str(), 0755);
    chmod(strDir.c_str(), 0755);
    for (auto &entry : fs::recursive_directory_iterator(strDir + "/sample"))
      if (entry.is_regular_file() && entry.path().filename() != ".db2zav.key")
        chmod(entry.path().c_str(), (fs::status(entry).permissions() & fs::perms::owner_exec) != fs::perms::none
                                        ? 0755 : 0666);
    mEnv["ASAN_OPTIONS"] = "detect_leaks=0";
  }
  std::map<std::string, std::string> mDaemonEnv = mEnv;
  std::string strRun = strDir + "/run";
  Daemon daemon(2, [&](int fd) {
    clearenv();
    for (auto &[k, v] : mDaemonEnv) setenv(k.c_str(), v.c_str(), 1);
    if (chdir(strRun.c_str()) != 0) _exit(1);
    pid_t pid = fork();   /* one process per conversation, as the daemon program does */
    if (pid == 0) {
      char *pcErr = nullptr;
      _exit(iSOCKETdoService(fd, &pcErr));
    }
    close(fd);
    waitpid(pid, nullptr, 0);
  });
  mEnv[SOCKET_PORT_ENV] = std::to_string(daemon.port());
  RunResult r = run({"-n", "-f", ctl("good.ctl", gstrGood), "--host", kpcOtherHost});
  EXPECT_EQ(r.iStatus, 0) << r.strOut;
  /* no local listing: the remote run lists the file it was sent */
  EXPECT_EQ(r.strOut, listing(gstrGood) + gstrChecked);

  /* a remote run that fails: its status is the local one */
  Daemon daemonBad(2, [&](int fd) {
    clearenv();
    for (auto &[k, v] : mDaemonEnv) setenv(k.c_str(), v.c_str(), 1);
    if (chdir(strRun.c_str()) != 0) _exit(1);
    pid_t pid = fork();
    if (pid == 0) {
      char *pcErr = nullptr;
      _exit(iSOCKETdoService(fd, &pcErr));
    }
    close(fd);
    waitpid(pid, nullptr, 0);
  });
  mEnv[SOCKET_PORT_ENV] = std::to_string(daemonBad.port());
  r = run({"-n", "-f", ctl("bad.ctl", "UNLOAD TABLESPACE SELECT FROM;\n"), "--host", kpcOtherHost});
  EXPECT_EQ(r.iStatus, MAIN_RC_SYNTAX & 0xFF) << r.strOut;
  EXPECT_NE(r.strOut.find("ZORU333E SYNTAX ERROR IN THE CONTROL FILE\n"), std::string::npos) << r.strOut;
  EXPECT_EQ(r.strOut.find("ZORU450E"), std::string::npos) << r.strOut;
}

}  // namespace
