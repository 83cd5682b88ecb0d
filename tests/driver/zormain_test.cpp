/*
** zormain_test.cpp
**   Program start-up and stop.  In process: the PIC flags, the usage text
**   and the PARMLIB atoms of the parameter library.  As subprocesses of the
**   built program against a temporary installation tree: a table of command
**   lines with the exact sysprint lines and exit statuses they must give,
**   and, when the test runs as root, the identity switch with users created
**   for the test (an instance user, a caller and an --identity user).
*/
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "common/ochar.h"
#include "driver/args.h"
#include "model/parm.h"
#include "model/token.h"
#include "model/zoratom.h"
#include "driver/zormain.h"
#include "model/zortask.h"
#include "tests/zavproc.h"

#ifndef ZAV_DB2ZAV_PROGRAM
#define ZAV_DB2ZAV_PROGRAM ZAV_BINARY_DIR "/driver/db2zav"
#endif

namespace {

namespace fs = std::filesystem;

/* ------------------------------------------------------------------ in process */

TEST(MainParmlib, PicFlags)
{
  struct {
    const char *pcMask;
    const char *pcPic;
    int32_t iFlags;
  } aCases[] = {
      {"*.* ", "-LEAD. ", 0xC112},   /* built-in values */
      {"*.0 ", "PTRAIL,", 0x8421},
      {"0.* ", " LEAD, ", 0xE011},
      {"00.*", "+LEAD. ", 0x4212},
      {"00.0", " TRAIL.", 0x0022},
      {"#.# ", "-TRAIL.", 0xA122},
  };
  for (auto &c : aCases) EXPECT_EQ(_mainPicFlags(c.pcMask, c.pcPic), c.iFlags) << c.pcMask << "|" << c.pcPic;
}

TEST(MainParmlib, UsageText)
{
  char *pc = _mainBuildUsage("/opt/zav/bin/db2zav");
  ASSERT_NE(pc, nullptr);
  std::string str = pc;
  std::free(pc);
  const std::string strHead = "Zavelin command line:\nUsage: /opt/zav/bin/db2zav options\n";
  const std::string strTail = "\t-v|--version\t\t\t\tdisplay the version\n\n";
  EXPECT_EQ(str.substr(0, strHead.size()), strHead);
  EXPECT_NE(str.find("\t-d|--database database\t\t\tspecify a database name\n\t-f|--file file\t\t\t\tspecify"),
            std::string::npos);
  EXPECT_NE(str.find("\t-part|--partition all|current|n,..,n\tspecify partitions\n"), std::string::npos);
  /* every option that acts is listed, -c and --threads with the others */
  EXPECT_NE(str.find(strHead + "\t-c|--configuration\t\t\tcheck the installation only\n\t-d|"), std::string::npos);
  EXPECT_NE(str.find("\t-t|--table table\t\t\tspecify a table name\n"
                     "\t--threads n\t\t\t\tspecify how many SELECTs run at once\n"),
            std::string::npos);
  EXPECT_EQ(str.substr(str.size() - strTail.size()), strTail);
  size_t ulRows = 0;
  for (char c : str) ulRows += c == '\n';
  EXPECT_EQ(ulRows, 2u + 15u + 1u);
}

/* A parameter-library text field, for changing and restoring it. */
char *field(int iMember, int32_t iItem)
{
  return static_cast<char *>(Gaparmlink[iMember].procAccessor(&iItem));
}

class MainParmlibTask : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(tokenInitKeyword(), 0); }
  void TearDown() override
  {
    if (args.ptaskParmlib != nullptr) zortaskDestroy(args.ptaskParmlib);
  }
  zoratom *atom(int iToken) { return zortaskDetermineAtom(args.ptaskParmlib, gapnameTotalToken[iToken]); }
  int32_t integer(int iToken)
  {
    zoratom *patom = atom(iToken);
    if (patom == nullptr) return -1;
    EXPECT_EQ(patom->iKind, ZORATOM_INTEGER);
    EXPECT_EQ(patom->iFlags, ZORATOM_BORROWED);
    return patom->value.iValue;
  }
  std::string text(int iToken)
  {
    zoratom *patom = atom(iToken);
    if (patom == nullptr) return "<none>";
    EXPECT_EQ(patom->iKind, ZORATOM_OCHAR);
    EXPECT_EQ(patom->iFlags, 0);
    EXPECT_EQ(patom->value.pchar->usCCSID, 850);
    const char *pc = _charText(patom->value.pchar);
    EXPECT_EQ(pc[patom->value.pchar->ilBU], '\0');
    return std::string(pc, static_cast<size_t>(patom->value.pchar->ilBU));
  }
  argsOptions args{};
};

TEST_F(MainParmlibTask, BuiltInValues)
{
  zortask *ptask = _mainCreateParmlib(&args);
  ASSERT_NE(ptask, nullptr);
  EXPECT_EQ(args.ptaskParmlib, ptask);
  EXPECT_EQ(ptask->pcName, gapnameTotalToken[TOKEN_PARMLIB]);
  EXPECT_EQ(integer(TOKEN_LOCK), 0xE8C5E2);
  EXPECT_EQ(integer(TOKEN_QUIESCE), 0xE8C5E2);
  EXPECT_EQ(integer(TOKEN_QUIESCECAT), 0xD6C6C6);
  for (auto [iToken, iNumber, cLetter] : {std::tuple{TOKEN_DATE, 10, 'C'}, std::tuple{TOKEN_TIME, 11, 'A'},
                                          std::tuple{TOKEN_TIMESTAMP, 12, 'B'}}) {
    zoratom *patom = atom(iToken);
    ASSERT_NE(patom, nullptr);
    EXPECT_EQ(patom->iKind, ZORATOM_TYPE);
    EXPECT_EQ(patom->value.iValue, iNumber);
    EXPECT_EQ(patom->value2.iValue, cLetter);
  }
  EXPECT_EQ(integer(TOKEN_PIC), 0xC112);
  EXPECT_EQ(integer(TOKEN_NULLPOS), 0xC2C6D6);
  zoratom *pnull = atom(TOKEN_NULL);
  ASSERT_NE(pnull, nullptr);
  ASSERT_EQ(pnull->iKind, ZORATOM_DBLCHAR);
  ASSERT_NE(pnull->value.pchar, nullptr);
  ASSERT_NE(pnull->value2.pchar, nullptr);
  EXPECT_EQ(pnull->value.pchar->ilBU, 1);
  EXPECT_EQ(static_cast<unsigned char>(_charText(pnull->value.pchar)[0]), 0x00);
  EXPECT_EQ(static_cast<unsigned char>(_charText(pnull->value2.pchar)[0]), 0xFF);
  EXPECT_EQ(pnull->value.pchar->usCCSID, 65535);
  EXPECT_EQ(integer(TOKEN_DB2), 0xE8C5E2);
  EXPECT_EQ(integer(TOKEN_SCHEME), 0xC1E2C3);
  EXPECT_EQ(text(TOKEN_DECIMAL), ".");
  EXPECT_EQ(text(TOKEN_TIMEDELIM), ".");
  EXPECT_EQ(text(TOKEN_DATEDELIM), "-");
  EXPECT_EQ(text(TOKEN_PADDING), " ");
  EXPECT_EQ(integer(TOKEN_FORMAT), 13);
  EXPECT_EQ(integer(TOKEN_MAXRECORD_MAIN), 100);
  EXPECT_EQ(integer(TOKEN_MAXLRECL), 100);
  EXPECT_EQ(integer(TOKEN_MAXDB2LEN), 100);
  EXPECT_EQ(integer(TOKEN_SERIAL_EXEC), 0xE8C5E2);
}

TEST_F(MainParmlibTask, ChangedValues)
{
  /* Save the fields, change them, build, restore. */
  struct Saved {
    char *pc;
    std::string str;
  };
  std::vector<Saved> vSaved;
  auto set = [&](int iMember, int32_t iItem, const char *pcValue, size_t ulLength) {
    char *pc = field(iMember, iItem);
    vSaved.push_back({pc, std::string(pc, ulLength)});
    std::memcpy(pc, pcValue, ulLength);
  };
  set(PARM_OPTUNL, 2, "NO ", 3);
  set(PARM_OPTUNL, 4, "OFF ", 4);
  set(PARM_OPTUNL, 1, "NO ", 3);
  set(PARM_OPTUNL, 16, "U", 1);
  set(PARM_OPTDB2, 7, "FORCE", 5);
  set(PARM_OPTDB2, 10, ",", 1);
  set(PARM_OPTUNL, 7, "SF", 2);
  int16_t sNullpos = 1;
  set(PARM_OPTUNL, 14, reinterpret_cast<const char *>(&sNullpos), sizeof sNullpos);

  ASSERT_NE(_mainCreateParmlib(&args), nullptr);
  for (auto it = vSaved.rbegin(); it != vSaved.rend(); ++it) std::memcpy(it->pc, it->str.data(), it->str.size());

  EXPECT_EQ(integer(TOKEN_LOCK), 0xD5D6);
  EXPECT_EQ(integer(TOKEN_DB2), 0xD5D6);
  EXPECT_EQ(integer(TOKEN_SCHEME), 0xE4D5C9);
  EXPECT_EQ(integer(TOKEN_QUIESCECAT), 0xC6D6D9);
  EXPECT_EQ(integer(TOKEN_NULLPOS), 0xC1C6E3);
  EXPECT_EQ(text(TOKEN_DECIMAL), ",");
  EXPECT_EQ(atom(TOKEN_TIMESTAMP)->value2.iValue, 'F');
  zoratom *pnull = atom(TOKEN_NULL);
  ASSERT_NE(pnull, nullptr);
  EXPECT_EQ(pnull->value.pchar, nullptr);
  EXPECT_EQ(pnull->value2.pchar, nullptr);
}

/* ------------------------------------------------------------------ subprocesses */

using RunResult = zavprocResult;

/* Runs the program with the arguments and exactly the environment given,
** in directory strCwd, as uid/gid when uid is not -1. */
RunResult runProgram(const std::string &strProgram, const std::vector<std::string> &vArgs,
                     const std::map<std::string, std::string> &mEnv, const std::string &strCwd,
                     uid_t uid = static_cast<uid_t>(-1), gid_t gid = static_cast<gid_t>(-1))
{
  zavprocSpec spec;
  spec.vArgv = {strProgram};
  spec.vArgv.insert(spec.vArgv.end(), vArgs.begin(), vArgs.end());
  spec.mEnv = mEnv;
  spec.strCwd = strCwd;
  spec.uid = uid;
  spec.gid = gid;
  return zavprocRun(spec);
}

std::string currentUserName()
{
  struct passwd *ppw = getpwuid(getuid());
  return ppw != nullptr ? ppw->pw_name : "";
}

/* A temporary installation: TOPZAV tree with cfg/db2zav.cfg, an instance
** home, and a working directory for the runs (trace files land there). */
class MainProgram : public ::testing::Test {
 protected:
  void SetUp() override
  {
    char acDir[] = "/tmp/zormain_testXXXXXX";
    ASSERT_NE(mkdtemp(acDir), nullptr);
    strDir = acDir;
    fs::create_directories(strDir + "/topzav/cfg");
    fs::create_directories(strDir + "/home/sqllib");
    fs::create_directories(strDir + "/run");
    writeConfig(currentUserName(), "");
    mEnv = {{"TOPZAV", strDir + "/topzav"},
            {"ZAVDB2_INSTHOME", strDir + "/home"},
            {"LANG", "C"},
            {"PATH", "/usr/bin:/bin"}};
  }
  void TearDown() override { fs::remove_all(strDir); }
  void writeConfig(const std::string &strInstanceUser, const std::string &strExtra)
  {
    std::ofstream out(strDir + "/topzav/cfg/db2zav.cfg");
    out << "# test installation\ndb2instance=zavinst\ndb2dbdft=sample\n"
        << "insthomes=zavinst:" << strDir << "/home\n"
        << "instusers=zavinst:" << strInstanceUser << "\n"
        << "languagecode=en\ncountrycode=US\n"
        << strExtra;
  }
  RunResult run(const std::vector<std::string> &vArgs) { return runProgram(ZAV_DB2ZAV_PROGRAM, vArgs, mEnv, strDir + "/run"); }
  std::string strDir;
  std::map<std::string, std::string> mEnv;
};

std::string end(int iReason)
{
  char ac[100];
  std::snprintf(ac, sizeof ac, "ZORU366I ZAV RETURN CODE %d (REASON CODE 0x%x)\n", (iReason & 0x7000) >> 10,
                iReason);
  return ac;
}

TEST_F(MainProgram, StartUpFailures)
{
  /* No TOPZAV. */
  auto mSaved = mEnv;
  mEnv.erase("TOPZAV");
  RunResult r = run({"-c"});
  EXPECT_EQ(r.iStatus, 2);
  EXPECT_EQ(r.strOut, "ZORU400E TOPZAV IS NOT DEFINED\n" + end(0x111a002));

  /* TOPZAV without a configuration file. */
  mEnv = mSaved;
  mEnv["TOPZAV"] = strDir + "/nothing";
  r = run({"-c"});
  EXPECT_EQ(r.iStatus, 6);
  EXPECT_EQ(r.strOut, "ZORU399E ZAV CONFIGURATION FILE NOT FOUND\nZORU476I CONFIGURATION FILE " + strDir +
                         "/nothing/cfg/db2zav.cfg: No such file or directory\n" + end(0x107a006));

  /* No code page for the locale. */
  mEnv = mSaved;
  writeConfig(currentUserName(), "");
  {
    std::ofstream out(strDir + "/topzav/cfg/db2zav.cfg");
    out << "languagecode=xx\ncountrycode=XX\n";
  }
  r = run({"-c"});
  EXPECT_EQ(r.iStatus, 1);
  EXPECT_EQ(r.strOut, "ZORU417E COULD NOT DETERMINE CHARACTERS CODE PAGE FOR LOCALE xx_XX\n" + end(0x111a001));
}

TEST_F(MainProgram, CommandLines)
{
  const std::string strUsage = "Zavelin command line:\nUsage: " ZAV_DB2ZAV_PROGRAM " options\n";
  struct {
    std::vector<std::string> vArgs;
    int iStatus;
    std::string strOut;   /* exact, or the beginning when it ends with "..." */
  } aCases[] = {
      {{"-h"}, 0, strUsage + "..."},
      {{"-h", "-v", "-f", "x", "-u", "u"}, 0, strUsage + "..."},   /* nothing else is checked */
      {{"--bogus", "-h"}, 2, "ZORU418E UNSUPPORTED OPTION `--bogus'\n" + end(0x110a002)},
      {{"-v"}, 0, "ZORU414I ZAVELIN FOR DB2 UDB VERSION 02.01.005K\n"},
      {{"-v", "-f", "x"}, 3, "ZORU325E SEVERAL MANDATORY OPTIONS SPECIFIED\n" + end(0x110a003)},
      {{"-d", "x"}, 3, "ZORU324E NO MANDATORY OPTION SPECIFIED\n" + end(0x110a003)},
      {{"-c"}, 0, ""},
      {{"-c", "stray"}, 0, ""},
      {{"-ho", "x", "-c"}, 2, "ZORU362E AMBIGUOUS OPTION `-ho'\n" + end(0x110a002)},
      {{"-c", "--threads"}, 2, "ZORU419E OPTION `--threads' REQUIRES AN ARGUMENT\n" + end(0x110a002)},
      {{"-c", "-3", "all"}, 2, end(0x110a002)},
      {{"-c", "--threads", "4x", "--part", "1,a", "-zz"}, 2,
       "ZORU305E THREAD PARAMETER MUST BE NUMERICAL\nZORU418E UNSUPPORTED OPTION `-zz'\n" + end(0x110a002)},
      {{"-c", "--part", "2000000000"}, 2,
       "ZORU323E PART PARAMETERS MUST BE NUMERICAL IN THE LIST SPECIFIED\n" + end(0x110a002)},
      {{"-c", "-i", std::string(128, 'i')}, 2, "ZORU320E PARAMETER " + std::string(128, 'i') + " TOO LONG\n" +
                                                    end(0x110a002)},
      {{"-c", "-i", "inst9"}, 1,
       "ZORU415E COULD NOT DETERMINE INSTANCE USER FOR INSTANCE NAME inst9\n" + end(0x110a001)},
      /* a control file that cannot be read is never a silent success */
      {{"-f", "ctl"}, 2,
       "ZORU001E SYSIN CANNOT BE OPENED.\nZORU002I CONTROL FILE ctl: No such file or directory\n" + end(0x107a002)},
  };
  for (auto &c : aCases) {
    std::string strWhat;
    for (auto &s : c.vArgs) strWhat += s.substr(0, 20) + " ";
    SCOPED_TRACE(strWhat);
    RunResult r = run(c.vArgs);
    EXPECT_EQ(r.iStatus, c.iStatus);
    if (c.strOut.size() >= 3 && c.strOut.compare(c.strOut.size() - 3, 3, "...") == 0)
      EXPECT_EQ(r.strOut.substr(0, c.strOut.size() - 3), c.strOut.substr(0, c.strOut.size() - 3));
    else
      EXPECT_EQ(r.strOut, c.strOut);
  }
}

TEST_F(MainProgram, MessageFileAndInstanceFailures)
{
  /* -m: sysprint goes to the file from the start. */
  RunResult r = run({"-c", "-u", "x", "-m", strDir + "/run/msgs"});
  EXPECT_EQ(r.iStatus, 3);
  EXPECT_EQ(r.strOut, "");
  std::ifstream in(strDir + "/run/msgs");
  std::stringstream ss;
  ss << in.rdbuf();
  EXPECT_EQ(ss.str(), "ZORU326E USER AND PASSWORD PARAMETERS MUST BE SPECIFIED TOGETHER\n" + end(0x110a003));

  /* Instance user unknown. */
  writeConfig("nosuchuser_h13", "");
  r = run({"-c"});
  EXPECT_EQ(r.iStatus, 4);
  EXPECT_EQ(r.strOut, "ZORU354E UNKNOWN USER nosuchuser_h13 FOR INSTANCE zavinst\n" + end(0x107a004));

  /* Instance not usable: the DB2 environment finds no instance home. */
  writeConfig(currentUserName(), "");
  mEnv.erase("ZAVDB2_INSTHOME");
  r = run({"-c"});
  EXPECT_EQ(r.iStatus, 4);
  EXPECT_EQ(r.strOut, "ZORU355E UNKNOWN INSTANCE zavinst\n" + end(0x280a004));
}

TEST_F(MainProgram, InstanceNameFromConfigurationLongerThanAnOption)
{
  /* The DB2INSTANCE entry is sized to the name, whatever its source. */
  const std::string strInstance(300, 'n');
  {
    std::ofstream out(strDir + "/topzav/cfg/db2zav.cfg");
    out << "db2instance=" << strInstance << "\ninstusers=" << strInstance << ":" << currentUserName() << "\n"
        << "languagecode=en\ncountrycode=US\n";
  }
  RunResult r = run({"-c"});
  EXPECT_EQ(r.iStatus, 0);
  EXPECT_EQ(r.strOut, "");
}

/* ------------------------------------------------------------------ identities */

/* Users made for one test and removed afterwards. */
struct TestUser {
  std::string strName;
  uid_t uid = 0;
  gid_t gid = 0;
};

bool makeUser(const std::string &strName, TestUser *puser)
{
  /* useradd fails while another process holds the password file's lock */
  std::string strCmd = "useradd -M -U -s /bin/false " + strName + " >/dev/null 2>&1";
  bool boMade = false;
  for (int i = 0; i < 20 && !boMade; i++) {
    boMade = std::system(strCmd.c_str()) == 0;
    if (!boMade) usleep(250000);
  }
  if (!boMade) return false;
  struct passwd *ppw = getpwnam(strName.c_str());
  if (ppw == nullptr) return false;
  *puser = {strName, ppw->pw_uid, ppw->pw_gid};
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

class MainIdentity : public MainProgram {
 protected:
  void SetUp() override
  {
    if (getuid() != 0) GTEST_SKIP() << "the identity switch needs root to create users and switch to them";
    MainProgram::SetUp();
    std::string strSuffix = std::to_string(getpid() % 100000);
    for (auto [pc, puser] : {std::pair{"zmi", &userInstance}, std::pair{"zmc", &userCaller},
                             std::pair{"zmo", &userOther}}) {
      std::string strName = pc + strSuffix;
      removeUser(strName);
      ASSERT_TRUE(makeUser(strName, puser)) << strName;
      vMade.push_back(strName);
    }
    writeConfig(userInstance.strName, "");
    /* The users must reach the installation and write in the run directory. */
    fs::permissions(strDir, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(strDir + "/run", fs::perms::all);
    /* A privileged installation: a set-user-ID root copy of the program. */
    strSetuid = strDir + "/db2zav";
    fs::copy_file(ZAV_DB2ZAV_PROGRAM, strSetuid);
    ASSERT_EQ(chown(strSetuid.c_str(), 0, 0), 0);
    ASSERT_EQ(chmod(strSetuid.c_str(), 04755), 0);
    /* A changed identity leaves a process that leak checking cannot inspect. */
    mEnv["ASAN_OPTIONS"] = "detect_leaks=0";
    std::ofstream(strDir + "/topzav/cfg/db2zav.trace") << "$IMAIN\n";
  }
  void TearDown() override
  {
    for (auto &str : vMade) removeUser(str);
    if (!strDir.empty()) MainProgram::TearDown();
  }
  /* The identities the run reported in its $IMAIN trace file ("" when none). */
  std::string switched()
  {
    std::string strFound;
    for (auto &entry : fs::directory_iterator(strDir + "/run")) {
      if (entry.path().filename().string().rfind("$IMAIN_", 0) != 0) continue;
      std::ifstream in(entry.path());
      std::string strLine;
      while (std::getline(in, strLine)) {
        size_t ul = strLine.find("_mainChangeUsers: real ");
        if (ul != std::string::npos) strFound = strLine.substr(ul + 23);
      }
      fs::remove(entry.path());
    }
    return strFound;
  }
  std::string ids(const TestUser &real, const TestUser &effective)
  {
    return std::to_string(real.uid) + "/" + std::to_string(real.gid) + " effective " +
           std::to_string(effective.uid) + "/" + std::to_string(effective.gid);
  }
  RunResult runAs(const std::string &strProgram, const std::vector<std::string> &vArgs, const TestUser *puser)
  {
    return runProgram(strProgram, vArgs, mEnv, strDir + "/run", puser ? puser->uid : static_cast<uid_t>(-1),
                      puser ? puser->gid : static_cast<gid_t>(-1));
  }
  TestUser userInstance, userCaller, userOther;
  std::vector<std::string> vMade;
  std::string strSetuid;
};

TEST_F(MainIdentity, RootBecomesInstanceUserAndIdentityUser)
{
  const TestUser root = {"root", 0, 0};
  RunResult r = runAs(ZAV_DB2ZAV_PROGRAM, {"-c"}, nullptr);
  EXPECT_EQ(r.iStatus, 0) << r.strOut;
  EXPECT_EQ(switched(), ids(userInstance, root));

  r = runAs(ZAV_DB2ZAV_PROGRAM, {"-c", "--identity", userOther.strName}, nullptr);
  EXPECT_EQ(r.iStatus, 0) << r.strOut;
  EXPECT_EQ(r.strOut, "");
  EXPECT_EQ(switched(), ids(userInstance, userOther));

  r = runAs(ZAV_DB2ZAV_PROGRAM, {"-c", "--identity", "nosuchuser_h13"}, nullptr);
  EXPECT_EQ(r.iStatus, 5);
  EXPECT_EQ(r.strOut, "ZORU328E CANNOT BECOME USER nosuchuser_h13\n" + end(0x107a005));
}

TEST_F(MainIdentity, PrivilegedInstallationHonoursIdentityOnlyForTheInstanceUser)
{
  /* Any other caller is refused, though the program could switch. */
  RunResult r = runAs(strSetuid, {"-c", "--identity", userOther.strName}, &userCaller);
  EXPECT_EQ(r.iStatus, 5);
  EXPECT_EQ(r.strOut, "ZORU328E CANNOT BECOME USER " + userOther.strName + "\n" + end(0x107a005));
  EXPECT_EQ(switched(), "");

  /* Without --identity the caller stays the effective user. */
  r = runAs(strSetuid, {"-c"}, &userCaller);
  EXPECT_EQ(r.iStatus, 0) << r.strOut;
  EXPECT_EQ(switched(), ids(userInstance, userCaller));

  /* The instance user may act for another user. */
  r = runAs(strSetuid, {"-c", "--identity", userOther.strName}, &userInstance);
  EXPECT_EQ(r.iStatus, 0) << r.strOut;
  EXPECT_EQ(switched(), ids(userInstance, userOther));
}

TEST_F(MainIdentity, UnprivilegedCallerCannotBecomeInstanceUser)
{
  /* A plain copy in the run's directory: the build tree need not be
     reachable by other users. */
  std::string strPlain = strDir + "/db2zav-plain";
  fs::copy_file(ZAV_DB2ZAV_PROGRAM, strPlain);
  ASSERT_EQ(chmod(strPlain.c_str(), 0755), 0);
  RunResult r = runAs(strPlain, {"-c"}, &userCaller);
  EXPECT_EQ(r.iStatus, 5);
  EXPECT_EQ(r.strOut, "ZORU328E CANNOT BECOME USER " + userInstance.strName + "\n" + end(0x107a005));
}

}  // namespace
