/*
** args_test.cpp
**   The option scanner and the command line: scanner cases as a table
**   (codes, arguments and diagnostics), the options block that argsParse
**   fills, the consistency checks, the partition set, the forwarded
**   argument string and the PARMLIB atoms of argsFillParms against a
**   temporary installation.  Messages are captured from the deferred stack;
**   no message centre runs.
*/
#include <gtest/gtest.h>

#include <cctype>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/obf.h"
#include "common/ochar.h"
#include "common/olist.h"
#include "common/omsgs.h"
#include "common/ostack.h"
#include "driver/args.h"
#include "model/token.h"
#include "model/tools.h"
#include "model/udb.h"
#include "model/zoratom.h"
#include "model/zortask.h"

namespace {

namespace fs = std::filesystem;

/* Texts of the messages issued since the last call. */
std::vector<std::string> takeMessages()
{
  std::vector<std::string> v;
  ostack *pstack = omsgsExportDefered();
  if (pstack == nullptr) return v;
  for (int i = 0; i < ostackGetCount(pstack); i++) {
    char *pc = reinterpret_cast<char *>(ostackGetAt(pstack, i));
    v.emplace_back(pc);
    std::free(pc);
  }
  ostackDestroy(pstack);
  return v;
}

/* A writable argument vector; argv[0] is "db2zav". */
struct Argv {
  std::vector<std::string> vstr;
  std::vector<char *> vpc;
  explicit Argv(const std::vector<std::string> &vArgs)
  {
    vstr.push_back("db2zav");
    vstr.insert(vstr.end(), vArgs.begin(), vArgs.end());
    for (auto &str : vstr) vpc.push_back(str.data());
    vpc.push_back(nullptr);
  }
  int argc() const { return static_cast<int>(vstr.size()); }
  char **argv() { return vpc.data(); }
  std::vector<std::string> current() const
  {
    std::vector<std::string> v;
    for (size_t i = 0; i + 1 < vpc.size(); i++) v.emplace_back(vpc[i]);
    return v;
  }
};

std::string localHost()
{
  char ac[100] = {0};
  toolsGetHostName(ac, sizeof ac);
  return ac;
}

class ArgsTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    unsetenv("POSIXLY_CORRECT");
    omsgsSetDefered(1);
    takeMessages();
  }
  void TearDown() override
  {
    takeMessages();
    omsgsSetDefered(0);
    argsDestroy(&args, 1);
  }
  /* argsParse on the arguments; returns its code, messages in vMsgs. */
  int parse(const std::vector<std::string> &vArgs)
  {
    argsDestroy(&args, 1);
    std::memset(&args, 0, sizeof args);
    Argv av(vArgs);
    int iRc = argsParse(&args, av.argc(), av.argv());
    vMsgs = takeMessages();
    return iRc;
  }
  argsOptions args{};
  std::vector<std::string> vMsgs;
};

/* ------------------------------------------------------------------ scanner */

struct ScanCase {
  const char *pcWhat;
  std::vector<std::string> vArgs;
  std::vector<std::pair<int, const char *>> vExpected;   /* code, argument (NULL: none) */
  const char *pcMessage;                                  /* expected message text, or NULL for none */
};

TEST_F(ArgsTest, ScannerTable)
{
  const int H = 6;   /* code of host and hostname */
  const std::vector<ScanCase> vCases = {
      {"two prefix matches are ambiguous even for one option", {"-ho", "x"}, {{'?', nullptr}},
       "ZORU362E AMBIGUOUS OPTION `-ho'\n"},
      {"ambiguous with two dashes", {"--ho", "x"}, {{'?', nullptr}}, "ZORU362E AMBIGUOUS OPTION `--ho'\n"},
      {"three prefix matches", {"-pa", "1"}, {{'?', nullptr}}, "ZORU362E AMBIGUOUS OPTION `-pa'\n"},
      {"exact name wins over a longer one", {"-host", "x"}, {{H, "x"}}, nullptr},
      {"one-dash long option with =", {"-hostname=x"}, {{H, "x"}}, nullptr},
      {"two-dash long option with =", {"--host=x"}, {{H, "x"}}, nullptr},
      {"unique prefix", {"--data", "db"}, {{'d', "db"}}, nullptr},
      {"one letter is the short option", {"-h"}, {{'h', nullptr}}, nullptr},
      {"one-dash long name", {"-help"}, {{'h', nullptr}}, nullptr},
      {"unknown long name read as its first letter", {"-dSAMPLE"}, {{'d', "SAMPLE"}}, nullptr},
      {"short option with separate value", {"-d", "SAMPLE"}, {{'d', "SAMPLE"}}, nullptr},
      {"cluster of short options", {"-vc"}, {{'v', nullptr}, {'c', nullptr}}, nullptr},
      {"digit option with an argument", {"-3", "all"}, {{'3', "all"}}, nullptr},
      {"digit option without argument", {"-4"}, {{'4', nullptr}}, nullptr},
      {"missing argument of a long option", {"--threads"}, {{'?', nullptr}},
       "ZORU419E OPTION `--threads' REQUIRES AN ARGUMENT\n"},
      {"missing argument of a one-dash long option", {"-c", "-table"}, {{'c', nullptr}, {'?', nullptr}},
       "ZORU419E OPTION `-table' REQUIRES AN ARGUMENT\n"},
      {"missing argument of a short option", {"-t"}, {{'?', nullptr}}, "ZORU419E OPTION `-t' REQUIRES AN ARGUMENT\n"},
      {"unknown long option", {"--bogus=1"}, {{'?', nullptr}}, "ZORU418E UNSUPPORTED OPTION `--bogus'\n"},
      {"unknown one-letter option", {"-x"}, {{'?', nullptr}}, "ZORU418E UNSUPPORTED OPTION `-x'\n"},
      {"optional argument attached", {"--purge=3"}, {{1, "3"}}, nullptr},
      {"optional argument not taken from the next word", {"--purge", "3"}, {{1, nullptr}}, nullptr},
      {"no argument allowed", {"--verbose=1"}, {{'?', nullptr}}, nullptr},
      {"rest of a cluster read as a one-dash long name", {"-vx"}, {{'v', nullptr}, {'?', nullptr}},
       "ZORU418E UNSUPPORTED OPTION `-x'\n"},
  };
  for (const ScanCase &c : vCases) {
    SCOPED_TRACE(c.pcWhat);
    Argv av(c.vArgs);
    zor3optind = 0;
    testing::internal::CaptureStderr();
    std::vector<std::pair<int, std::string>> vGot;
    for (int i = 0; i < 10; i++) {
      int iIndex = -1;
      int iCode = zor3getopt_long_only(av.argc(), av.argv(), gacArgsShortOptions, long_options, &iIndex);
      if (iCode == -1) break;
      vGot.emplace_back(iCode, zor3optarg != nullptr ? zor3optarg : "<none>");
    }
    std::string strErr = testing::internal::GetCapturedStderr();
    std::vector<std::string> vMsg = takeMessages();
    ASSERT_EQ(vGot.size(), c.vExpected.size());
    for (size_t i = 0; i < vGot.size(); i++) {
      EXPECT_EQ(vGot[i].first, c.vExpected[i].first) << i;
      EXPECT_EQ(vGot[i].second, c.vExpected[i].second != nullptr ? c.vExpected[i].second : "<none>") << i;
    }
    if (c.pcMessage != nullptr) {
      ASSERT_EQ(vMsg.size(), 1u);
      EXPECT_EQ(vMsg[0], c.pcMessage);
    } else {
      EXPECT_TRUE(vMsg.empty()) << vMsg[0];
    }
  }
}

TEST_F(ArgsTest, ScannerDiagnosticsOnStandardError)
{
  struct {
    std::vector<std::string> vArgs;
    bool boShortOnly;   /* zor3getopt instead of zor3getopt_long_only */
    bool boPosix;
    const char *pcErr;
  } aCases[] = {
      {{"--verbose=1"}, false, false, "db2zav: option `--verbose' doesn't allow an argument\n"},
      {{"-verb=1"}, false, false, "db2zav: option `-verb' doesn't allow an argument\n"},
      {{"-vx"}, true, false, "db2zav: invalid option -- x\n"},
      {{"-vx"}, true, true, "db2zav: illegal option -- x\n"},
  };
  for (auto &c : aCases) {
    SCOPED_TRACE(c.pcErr);
    if (c.boPosix) setenv("POSIXLY_CORRECT", "1", 1);
    Argv av(c.vArgs);
    zor3optind = 0;
    testing::internal::CaptureStderr();
    for (;;) {
      int iCode = c.boShortOnly
                      ? zor3getopt(av.argc(), av.argv(), gacArgsShortOptions)
                      : zor3getopt_long_only(av.argc(), av.argv(), gacArgsShortOptions, long_options, nullptr);
      if (iCode == -1) break;
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.pcErr);
    EXPECT_TRUE(takeMessages().empty());
    unsetenv("POSIXLY_CORRECT");
  }
}

TEST_F(ArgsTest, ScannerOrdering)
{
  /* Non-options move behind the options, in their order. */
  {
    Argv av({"stray", "-c", "-f", "ctl", "more"});
    zor3optind = 0;
    std::string strCodes;
    int iCode;
    while ((iCode = zor3getopt_long_only(av.argc(), av.argv(), gacArgsShortOptions, long_options, nullptr)) != -1)
      strCodes += static_cast<char>(iCode);
    EXPECT_EQ(strCodes, "cf");
    EXPECT_EQ(zor3optind, 4);
    EXPECT_EQ(av.current(), (std::vector<std::string>{"db2zav", "-c", "-f", "ctl", "stray", "more"}));
  }
  /* POSIXLY_CORRECT: the first non-option ends the options. */
  {
    setenv("POSIXLY_CORRECT", "1", 1);
    Argv av({"-c", "stray", "-v"});
    zor3optind = 0;
    EXPECT_EQ(zor3getopt_long_only(av.argc(), av.argv(), gacArgsShortOptions, long_options, nullptr), 'c');
    EXPECT_EQ(zor3getopt_long_only(av.argc(), av.argv(), gacArgsShortOptions, long_options, nullptr), -1);
    EXPECT_EQ(zor3optind, 2);
    unsetenv("POSIXLY_CORRECT");
  }
  /* "--" ends the options. */
  {
    Argv av({"-c", "--", "-v"});
    zor3optind = 0;
    EXPECT_EQ(zor3getopt_long_only(av.argc(), av.argv(), gacArgsShortOptions, long_options, nullptr), 'c');
    EXPECT_EQ(zor3getopt_long_only(av.argc(), av.argv(), gacArgsShortOptions, long_options, nullptr), -1);
    EXPECT_EQ(zor3optind, 3);
  }
  /* A leading ':' silences the diagnostics and tells a missing argument apart. */
  {
    Argv av({"-t"});
    zor3optind = 0;
    EXPECT_EQ(zor3getopt(av.argc(), av.argv(), ":t:"), ':');
    EXPECT_EQ(zor3optopt, 't');
    EXPECT_TRUE(takeMessages().empty());
  }
}

/* ------------------------------------------------------------------ argsParse */

TEST_F(ArgsTest, TableAndDatabaseNames)
{
  const std::string str128(128, 'a');
  const std::string str129(129, 'a');
  struct {
    std::vector<std::string> vArgs;
    int iRc;
    const char *pcQualifier;   /* NULL: none */
    const char *pcTable;
    const char *pcMessage;
  } aCases[] = {
      {{"-t", "sales"}, 0, nullptr, "SALES", nullptr},
      {{"-t", "q.sales"}, 0, "Q", "SALES", nullptr},
      {{"-t", "\"sales\""}, 0, nullptr, "sales", nullptr},
      {{"-t", "q.\"Sales\""}, 0, "Q", "Sales", nullptr},
      {{"-t", "\"sales"}, ARGS_RC_BADOPTION, nullptr, nullptr,
       "ZORU321E INVALID TABLE PARAMETER \"sales (A DOUBLE QUOTE IS MISSING)\n"},
      {{"-t", ".sales"}, ARGS_RC_BADOPTION, nullptr, nullptr,
       "ZORU370E INCOMPLETE TABLE PARAMETER .sales (A QUALIFIER OR A TABLE IS MISSING)\n"},
      {{"-t", "q."}, ARGS_RC_BADOPTION, nullptr, nullptr,
       "ZORU370E INCOMPLETE TABLE PARAMETER q. (A QUALIFIER OR A TABLE IS MISSING)\n"},
      {{"-t", "q." + str129}, ARGS_RC_BADOPTION, nullptr, nullptr,
       nullptr /* ZORU320E, checked below */},
  };
  for (auto &c : aCases) {
    SCOPED_TRACE(c.vArgs.back());
    EXPECT_EQ(parse(c.vArgs), c.iRc);
    if (c.iRc == 0) {
      EXPECT_TRUE(vMsgs.empty());
      EXPECT_EQ(args.boTable, 1);
      if (c.pcQualifier != nullptr)
        EXPECT_STREQ(argsGetQualifier(&args), c.pcQualifier);
      else
        EXPECT_EQ(argsGetQualifier(&args), nullptr);
      EXPECT_STREQ(args.acTable, c.pcTable);
    } else if (c.pcMessage != nullptr) {
      ASSERT_EQ(vMsgs.size(), 1u);
      EXPECT_EQ(vMsgs[0], c.pcMessage);
    }
  }
  /* The table and qualifier fields take 128 bytes, one more is refused. */
  EXPECT_EQ(parse({"-t", str128 + "." + str128}), 0);
  EXPECT_EQ(std::strlen(args.acTable), 128u);
  EXPECT_EQ(parse({"-t", str129}), ARGS_RC_BADOPTION);
  ASSERT_EQ(vMsgs.size(), 1u);
  EXPECT_EQ(vMsgs[0], "ZORU320E PARAMETER " + str129 + " TOO LONG\n");

  /* Database: upper-cased unless quoted; quotes must close. */
  EXPECT_EQ(parse({"-c", "-d", "sample"}), 0);
  EXPECT_STREQ(args.acDatabase, "SAMPLE");
  EXPECT_EQ(parse({"-c", "-d", "\"Sample\""}), 0);
  EXPECT_STREQ(args.acDatabase, "Sample");
  EXPECT_EQ(parse({"-c", "-d", "\"Sample"}), ARGS_RC_BADOPTION);
  ASSERT_EQ(vMsgs.size(), 1u);
  EXPECT_EQ(vMsgs[0], "ZORU322E INVALID DATABASE PARAMETER \"Sample (A DOUBLE QUOTE IS MISSING)\n");
}

TEST_F(ArgsTest, DelimitedNamesKeepCaseAndMustCloseAtTheirEnd)
{
  /* A quoted qualifier or table keeps its case and is marked delimited (the
     SELECT text of -t quotes it again); the closing quote must be the last
     character, and a "." inside quotes belongs to the name. */
  struct {
    const char *pcValue;
    int iRc;
    const char *pcQualifier;   /* NULL: none */
    int boQualifierDelimited;
    const char *pcTable;
    int boTableDelimited;
  } aCases[] = {
      {"\"Adm\".\"Emp\"", 0, "Adm", 1, "Emp", 1},
      {"\"adm\".emp", 0, "adm", 1, "EMP", 0},
      {"adm.emp", 0, "ADM", 0, "EMP", 0},
      {"\"my.schema\".t", 0, "my.schema", 1, "T", 0},
      {"q.\"a.b\"", 0, "Q", 0, "a.b", 1},
      {"\"a\"b\"", 0, nullptr, 0, "a\"b", 1},
      {"\"Sa\"les", ARGS_RC_BADOPTION, nullptr, 0, nullptr, 0},
      {"q.\"Sa\"les", ARGS_RC_BADOPTION, nullptr, 0, nullptr, 0},
      {"\"Adm\"x.emp", ARGS_RC_BADOPTION, nullptr, 0, nullptr, 0},
      {"\"adm.emp", ARGS_RC_BADOPTION, nullptr, 0, nullptr, 0},
  };
  for (auto &c : aCases) {
    SCOPED_TRACE(c.pcValue);
    EXPECT_EQ(parse({"-t", c.pcValue}), c.iRc);
    if (c.iRc != 0) {
      ASSERT_EQ(vMsgs.size(), 1u);
      EXPECT_EQ(vMsgs[0], std::string("ZORU321E INVALID TABLE PARAMETER ") + c.pcValue +
                              " (A DOUBLE QUOTE IS MISSING)\n");
      continue;
    }
    EXPECT_TRUE(vMsgs.empty());
    if (c.pcQualifier != nullptr)
      EXPECT_STREQ(argsGetQualifier(&args), c.pcQualifier);
    else
      EXPECT_EQ(argsGetQualifier(&args), nullptr);
    EXPECT_EQ(args.boQualifierDelimited, c.boQualifierDelimited);
    EXPECT_STREQ(args.acTable, c.pcTable);
    EXPECT_EQ(args.boTableDelimited, c.boTableDelimited);
  }
  EXPECT_EQ(parse({"-c", "-d", "\"Sam\"ple"}), ARGS_RC_BADOPTION);
  ASSERT_EQ(vMsgs.size(), 1u);
  EXPECT_EQ(vMsgs[0], "ZORU322E INVALID DATABASE PARAMETER \"Sam\"ple (A DOUBLE QUOTE IS MISSING)\n");
}

TEST_F(ArgsTest, TextFieldsRefuseValuesThatDoNotFit)
{
  const std::string str127(127, 'x');
  const std::string str128(128, 'x');
  /* Fields of 128 bytes take 127 characters and their NUL. */
  for (const char *pcOption : {"-f", "-b", "-d", "-i", "-m", "-u", "--nodescfg"}) {
    SCOPED_TRACE(pcOption);
    EXPECT_EQ(parse({"-c", pcOption, str127}), 0);
    EXPECT_TRUE(vMsgs.empty());
    EXPECT_EQ(parse({"-c", pcOption, str128}), ARGS_RC_BADOPTION);
    ASSERT_EQ(vMsgs.size(), 1u);
    EXPECT_EQ(vMsgs[0], "ZORU320E PARAMETER " + str128 + " TOO LONG\n");
  }
  /* The password is named, never shown. */
  EXPECT_EQ(parse({"-c", "-u", "me", "-p", str128}), ARGS_RC_BADOPTION);
  ASSERT_EQ(vMsgs.size(), 1u);
  EXPECT_EQ(vMsgs[0], "ZORU320E PARAMETER -p TOO LONG\n");
  /* The partition list field holds 49 characters. */
  std::string strList = "1";
  while (strList.size() < 49) strList += ",1";
  EXPECT_EQ(parse({"-c", "--part", strList}), 0);
  EXPECT_EQ(parse({"-c", "--part", strList + "1"}), ARGS_RC_BADOPTION);
}

TEST_F(ArgsTest, NumbersAndPartitionLists)
{
  struct {
    std::vector<std::string> vArgs;
    int iRc;
    const char *pcMessage;
  } aCases[] = {
      {{"--threads", "4"}, 0, nullptr},
      {{"--threads", "4x"}, ARGS_RC_BADOPTION, "ZORU305E THREAD PARAMETER MUST BE NUMERICAL\n"},
      {{"--threads="}, ARGS_RC_BADOPTION, "ZORU305E THREAD PARAMETER MUST BE NUMERICAL\n"},
      {{"--threads", "99999999999"}, ARGS_RC_BADOPTION, "ZORU305E THREAD PARAMETER MUST BE NUMERICAL\n"},
      {{"--part", "0,2"}, 0, nullptr},
      {{"--part", "0,,2,"}, 0, nullptr},
      {{"--part", "all"}, 0, nullptr},
      {{"--part", "current"}, 0, nullptr},
      {{"--part", "999,0007"}, 0, nullptr},
      {{"--part", "1,a"}, ARGS_RC_BADOPTION, "ZORU323E PART PARAMETERS MUST BE NUMERICAL IN THE LIST SPECIFIED\n"},
      {{"--part", "1000"}, ARGS_RC_BADOPTION, "ZORU323E PART PARAMETERS MUST BE NUMERICAL IN THE LIST SPECIFIED\n"},
      {{"--part", "2000000000"}, ARGS_RC_BADOPTION,
       "ZORU323E PART PARAMETERS MUST BE NUMERICAL IN THE LIST SPECIFIED\n"},
      {{"--part", "-1"}, ARGS_RC_BADOPTION, "ZORU323E PART PARAMETERS MUST BE NUMERICAL IN THE LIST SPECIFIED\n"},
  };
  for (auto &c : aCases) {
    SCOPED_TRACE(c.vArgs.back());
    std::vector<std::string> vArgs = {"-c"};
    vArgs.insert(vArgs.end(), c.vArgs.begin(), c.vArgs.end());
    EXPECT_EQ(parse(vArgs), c.iRc);
    if (c.pcMessage != nullptr) {
      ASSERT_EQ(vMsgs.size(), 1u);
      EXPECT_EQ(vMsgs[0], c.pcMessage);
    } else {
      EXPECT_TRUE(vMsgs.empty());
    }
  }
  EXPECT_EQ(parse({"-c", "--threads", "4"}), 0);
  EXPECT_EQ(args.boThreads, 1);
  EXPECT_EQ(args.ilThreads, 4);
}

TEST_F(ArgsTest, FlagsErrorsAndHosts)
{
  /* Every bad option is reported; reading goes on. */
  EXPECT_EQ(parse({"--bogus", "-c", "--threads", "x", "-ho", "h"}), ARGS_RC_BADOPTION);
  ASSERT_EQ(vMsgs.size(), 3u);
  EXPECT_EQ(vMsgs[0].substr(0, 8), "ZORU418E");
  EXPECT_EQ(vMsgs[1].substr(0, 8), "ZORU305E");
  EXPECT_EQ(vMsgs[2].substr(0, 8), "ZORU362E");
  EXPECT_EQ(args.boConfig, 1);

  /* A digit option is refused without a message of its own. */
  EXPECT_EQ(parse({"-c", "-3", "all"}), ARGS_RC_BADOPTION);
  EXPECT_TRUE(vMsgs.empty());

  /* A stray word is ignored; flags are set. */
  EXPECT_EQ(parse({"stray", "-c", "-a", "-e", "-h", "-l", "-n", "--verbose", "--purge=7", "-o", "out.del",
                   "--identity", "bob"}),
            0);
  EXPECT_EQ(args.boConfig + args.boAbnormal + args.boExtended + args.boHelp + args.boLocal + args.boNoexecute +
                args.boVerbose + args.boPurge + args.boOutput + args.boIdentity,
            10);
  EXPECT_EQ(args.ilPurge, 7);
  EXPECT_STREQ(_charText(args.pcharOutput), "out.del");
  EXPECT_STREQ(_charText(args.pcharIdentity), "bob");
  EXPECT_EQ(args.boFile, 0);

  /* The local host keeps the request here; another host makes it remote. */
  EXPECT_EQ(parse({"-c", "-host", localHost()}), 0);
  EXPECT_EQ(args.boRemote, 0);
  EXPECT_EQ(args.pcharHost, nullptr);
  EXPECT_EQ(parse({"-c", "--hostname=elsewhere-h13"}), 0);
  EXPECT_EQ(args.boRemote, 1);
  EXPECT_STREQ(_charText(args.pcharHost), "elsewhere-h13");

  /* This host by any of its names and addresses; 127.0.0.2 is no address of
     an interface, so it counts as another host. */
  char acFull[256] = {0};
  gethostname(acFull, sizeof acFull - 1);
  std::string strFull = acFull, strUpper = acFull;
  for (char &c : strUpper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  struct {
    std::string strHost;
    int         boRemote;
  } aHosts[] = {{strFull, 0}, {strUpper, 0}, {"localhost", 0}, {"127.0.0.1", 0}, {"127.0.0.2", 1}};
  for (auto &h : aHosts) {
    EXPECT_EQ(parse({"-c", "--hostname", h.strHost}), 0) << h.strHost;
    EXPECT_EQ(args.boRemote, h.boRemote) << h.strHost;
  }
}

/* The password of -u may come in the environment, and leaves it at once. */
TEST_F(ArgsTest, PasswordFromTheEnvironment)
{
  setenv("ZAV_PASSWORD", "envpw", 1);
  EXPECT_EQ(parse({"-c", "-u", "bob"}), 0);
  EXPECT_EQ(args.boPassword, 1);
  EXPECT_STREQ(args.acPassword, "envpw");
  EXPECT_EQ(getenv("ZAV_PASSWORD"), nullptr);
  setenv("ZAV_PASSWORD", "envpw", 1);
  EXPECT_EQ(parse({"-c", "-u", "bob", "-p", "given"}), 0);   /* -p wins */
  EXPECT_STREQ(args.acPassword, "given");
  EXPECT_EQ(getenv("ZAV_PASSWORD"), nullptr);
  EXPECT_EQ(parse({"-c"}), 0);
  EXPECT_EQ(args.boPassword, 0);
}

TEST_F(ArgsTest, Checks)
{
  struct {
    std::vector<std::string> vArgs;
    const char *pcMessage;   /* NULL: accepted */
  } aCases[] = {
      {{"-c"}, nullptr},
      {{"-f", "ctl", "-n"}, nullptr},
      {{"-t", "x", "-u", "u", "-p", "p"}, nullptr},
      {{"-d", "x"}, "ZORU324E NO MANDATORY OPTION SPECIFIED\n"},
      {{"-v", "-f", "x"}, "ZORU325E SEVERAL MANDATORY OPTIONS SPECIFIED\n"},
      {{"-t", "x", "-f", "y", "-c"}, "ZORU325E SEVERAL MANDATORY OPTIONS SPECIFIED\n"},
      {{"-c", "-u", "x"}, "ZORU326E USER AND PASSWORD PARAMETERS MUST BE SPECIFIED TOGETHER\n"},
      {{"-c", "-p", "x"}, "ZORU326E USER AND PASSWORD PARAMETERS MUST BE SPECIFIED TOGETHER\n"},
      {{"-t", "x", "-n"}, "ZORU327E NOEXECUTE PARAMETER IS NOT AVAILABLE\n"},
      {{"-t", "x", "--host", "elsewhere-h13"}, "ZORU369E HOST PARAMETER CANNOT BE SPECIFIED WITH TABLE OPTION\n"},
  };
  for (auto &c : aCases) {
    SCOPED_TRACE(c.vArgs.front());
    ASSERT_EQ(parse(c.vArgs), 0);
    int iRc = argsControl(&args);
    std::vector<std::string> v = takeMessages();
    if (c.pcMessage == nullptr) {
      EXPECT_EQ(iRc, 0);
      EXPECT_TRUE(v.empty());
    } else {
      EXPECT_EQ(iRc, ARGS_RC_CONFLICT);
      ASSERT_EQ(v.size(), 1u);
      EXPECT_EQ(v[0], c.pcMessage);
    }
  }
}

TEST_F(ArgsTest, ForwardedArguments)
{
  struct {
    std::vector<std::string> vArgs;
    const char *pcExpected;   /* NULL: none is built */
  } aCases[] = {
      {{"-f", "ctl", "-i", "inst1", "-o", "out.del"}, " -i inst1 -o out.del -l"},
      {{"-m", "msgs", "--file", "ctl", "-d", "db"}, " -d db -l"},
      /* a value given in the option's own argument takes no other argument with it */
      {{"--file=ctl", "-i", "inst1", "-fi=x"}, " -i inst1 -l"},
      {{"-fctl", "-i", "inst1"}, " -i inst1 -l"},
      {{"-f", "ctl", "-me", "m", "-i", "i"}, " -i i -l"},
      /* the shortest abbreviations of file and message are dropped too */
      {{"--f", "ctl", "--m=msgs", "-i", "i"}, " -i i -l"},
      /* another host: no -l, the host option dropped */
      {{"-f", "ctl", "-host", "elsewhere-h13", "-i", "i"}, " -i i"},
      {{"-f", "ctl", "--host=elsewhere-h13", "-i", "i"}, " -i i"},
      /* the local host: a local request, -l added */
      {{"-f", "ctl", "-host", localHost(), "-i", "i"}, " -i i -l"},
      {{"-f", "ctl", "-l"}, nullptr},
      {{"-c"}, nullptr},
  };
  for (auto &c : aCases) {
    SCOPED_TRACE(c.vArgs.front() + " " + c.vArgs.back());
    ASSERT_EQ(parse(c.vArgs), 0);
    if (c.pcExpected == nullptr) {
      EXPECT_EQ(args.pcharRemoteArgs, nullptr);
    } else {
      ASSERT_NE(args.pcharRemoteArgs, nullptr);
      EXPECT_STREQ(_charText(args.pcharRemoteArgs), c.pcExpected);
    }
  }
}

/* ------------------------------------------------------------------ with an installation */

/* A temporary TOPZAV tree with a configuration file and an instance home. */
class ArgsInstallTest : public ArgsTest {
 protected:
  void SetUp() override
  {
    ArgsTest::SetUp();
    char acDir[] = "/tmp/args_testXXXXXX";
    ASSERT_NE(mkdtemp(acDir), nullptr);
    strDir = acDir;
    fs::create_directories(strDir + "/topzav/cfg");
    fs::create_directories(strDir + "/home/sqllib");
    pcOldTop = std::getenv("TOPZAV") ? strdup(std::getenv("TOPZAV")) : nullptr;
    setenv("TOPZAV", (strDir + "/topzav").c_str(), 1);
    writeConfig("");
    ASSERT_EQ(tokenInitKeyword(), 0);
  }
  void TearDown() override
  {
    dropTask();
    if (pcOldTop != nullptr) {
      setenv("TOPZAV", pcOldTop, 1);
      std::free(pcOldTop);
    } else {
      unsetenv("TOPZAV");
    }
    fs::remove_all(strDir);
    ArgsTest::TearDown();
  }
  void writeConfig(const std::string &strExtra)
  {
    std::ofstream out(strDir + "/topzav/cfg/db2zav.cfg");
    out << "db2instance=inst1\ndb2dbdft=sample\nmaxunloads=3\nrecsize=2000\n"
        << "insthomes=inst1:" << strDir << "/home\n"
        << "instusers=inst1:db2inst1,inst2:other\n"
        << strExtra;
  }
  /* argsParse and argsFillParms into a new PARMLIB task. */
  int fill(const std::vector<std::string> &vArgs)
  {
    dropTask();
    if (parse(vArgs) != 0) return -1;
    ptask = zortaskCreateNamed(gapnameTotalToken[TOKEN_PARMLIB]);
    args.ptaskParmlib = ptask;
    int iRc = argsFillParms(&args);
    vMsgs = takeMessages();
    return iRc;
  }
  /* Destroys the task; the forwarded argument string goes with its ARGS atom. */
  void dropTask()
  {
    if (ptask == nullptr) return;
    zoratom *patom = atom(TOKEN_ARGS);
    if (patom != nullptr && patom->value.pchar == args.pcharRemoteArgs) args.pcharRemoteArgs = nullptr;
    zortaskDestroy(ptask);
    ptask = nullptr;
  }
  zoratom *atom(int iToken) { return zortaskDetermineAtom(ptask, gapnameTotalToken[iToken]); }
  std::string text(int iToken)
  {
    zoratom *patom = atom(iToken);
    if (patom == nullptr) return "<none>";
    EXPECT_EQ(patom->iKind, ZORATOM_OCHAR);
    EXPECT_EQ(patom->iFlags, 0);
    EXPECT_EQ(patom->value.pchar->usCCSID, 850);
    return _charText(patom->value.pchar);
  }
  int32_t integer(int iToken)
  {
    zoratom *patom = atom(iToken);
    if (patom == nullptr) return -1;
    EXPECT_EQ(patom->iKind, ZORATOM_INTEGER);
    EXPECT_EQ(patom->iFlags, ZORATOM_BORROWED);
    return patom->value.iValue;
  }
  std::string strDir;
  char *pcOldTop = nullptr;
  zortask *ptask = nullptr;
};

TEST_F(ArgsInstallTest, FillParmsFromOptionsAndConfiguration)
{
  const int32_t iYes = 0xE8C5E2, iNo = 0xD5D6;
  ASSERT_EQ(fill({"-f", "ctl", "-o", "out.del", "--part", "0,2", "-m", "msgs", "-u", "bob", "-p", "pw"}), 0);
  EXPECT_EQ(text(TOKEN_INSTANCE_NAME), "inst1");
  EXPECT_EQ(text(TOKEN_SSID), "inst1");
  EXPECT_EQ(text(TOKEN_INSTANCE_USER), "db2inst1");
  EXPECT_EQ(text(TOKEN_SQLID), "DB2INST1");
  EXPECT_EQ(text(TOKEN_DBNAME), "SAMPLE");
  EXPECT_EQ(text(TOKEN_USERNAME), "bob");
  EXPECT_EQ(text(TOKEN_PASS), "pw");
  EXPECT_EQ(integer(TOKEN_MAXTASK), 3);
  EXPECT_EQ(integer(TOKEN_MAXBUFFER_MAIN), 2000);
  EXPECT_EQ(atom(TOKEN_PTK001), nullptr);
  EXPECT_EQ(atom(TOKEN_DOUBLE_DELIM), nullptr);
  EXPECT_EQ(text(TOKEN_MSGFILE), "msgs");
  EXPECT_EQ(integer(TOKEN_LOCAL), iNo);
  EXPECT_EQ(integer(TOKEN_VERBOSE), iNo);
  EXPECT_EQ(text(TOKEN_SYSIN), "ctl");
  EXPECT_EQ(text(TOKEN_ARGS), " -o out.del --part 0,2 -u bob -p pw -l");
  EXPECT_EQ(atom(TOKEN_ARGS)->value.pchar, args.pcharRemoteArgs);

  zoratom *ppart = atom(TOKEN_PART);
  ASSERT_NE(ppart, nullptr);
  ASSERT_EQ(ppart->iKind, ZORATOM_OBF);
  EXPECT_EQ(ppart->value.pobf->ulBitCount, 3u);
  EXPECT_EQ(obfGet(ppart->value.pobf, 0), 1);
  EXPECT_EQ(obfGet(ppart->value.pobf, 1), 0);
  EXPECT_EQ(obfGet(ppart->value.pobf, 2), 1);

  zoratom *pout = atom(TOKEN_OUTPUT);
  ASSERT_NE(pout, nullptr);
  ASSERT_EQ(pout->iKind, ZORATOM_OLIST);
  ASSERT_NE(pout->value.plist, nullptr);
  ASSERT_EQ(pout->value.plist->iItemCount, 1);
  auto *pitem = static_cast<udbOutFile *>(pout->value.plist->pitemTop);
  EXPECT_STREQ(_charText(pitem->pcharFileName), "out.del");
  EXPECT_EQ(pitem->pcharHost, nullptr);
  EXPECT_EQ(pitem->ulMode, 5u);
  ASSERT_NE(pitem->pobfPart, nullptr);
  EXPECT_NE(pitem->pobfPart, ppart->value.pobf);
  EXPECT_EQ(obfGet(pitem->pobfPart, 2), 1);

  /* Options over configuration; -l leaves out SYSIN and ARGS. */
  writeConfig("ptk001=1\ndoubledelim=ON\n");
  ASSERT_EQ(fill({"-c", "-i", "inst2", "-d", "mydb", "--threads", "9", "-l", "--verbose"}), 0);
  EXPECT_EQ(text(TOKEN_INSTANCE_USER), "other");
  EXPECT_EQ(text(TOKEN_DBNAME), "MYDB");
  EXPECT_EQ(integer(TOKEN_MAXTASK), 9);
  EXPECT_EQ(integer(TOKEN_PTK001), 1);
  EXPECT_EQ(integer(TOKEN_DOUBLE_DELIM), 1);
  EXPECT_EQ(integer(TOKEN_LOCAL), iYes);
  EXPECT_EQ(integer(TOKEN_VERBOSE), iYes);
  EXPECT_EQ(atom(TOKEN_SYSIN), nullptr);
  EXPECT_EQ(atom(TOKEN_USERNAME), nullptr);
  ASSERT_NE(atom(TOKEN_OUTPUT), nullptr);
  EXPECT_EQ(atom(TOKEN_OUTPUT)->value.plist, nullptr);
  EXPECT_EQ(atom(TOKEN_PART)->value.pobf->ulBitCount, static_cast<uint32_t>(ARGS_PART_BITS));
}

TEST_F(ArgsInstallTest, DoubledDelimiterSwitchOfTheConfiguration)
{
  /* the forms users write are taken; any other value stops the request */
  struct {
    const char *pcLine;
    int iRc;
    int32_t iValue;   /* -1: no atom */
  } aCases[] = {
      {"doubledelim=ON\n", 0, 1},  {"doubledelim=yes\n", 0, 1}, {"doubledelim=1\n", 0, 1},
      {"doubledelim=off\n", 0, 0}, {"doubledelim=NO\n", 0, 0},  {"doubledelim= 0 \n", 0, 0},
      {"", 0, -1},
      {"doubledelim=maybe\n", ARGS_RC_BADOPTION, -1},
      {"doubledelim=\n", ARGS_RC_BADOPTION, -1},
      {"doubledelim=ONE\n", ARGS_RC_BADOPTION, -1},
  };
  for (auto &c : aCases) {
    SCOPED_TRACE(c.pcLine);
    writeConfig(c.pcLine);
    EXPECT_EQ(fill({"-f", "ctl"}), c.iRc);
    if (c.iRc == 0) {
      EXPECT_TRUE(vMsgs.empty());
      EXPECT_EQ(integer(TOKEN_DOUBLE_DELIM), c.iValue);
    } else {
      EXPECT_EQ(vMsgs, std::vector<std::string>{"ZORU473E CONFIGURATION ITEM doubledelim HAS AN INVALID VALUE: ON, OFF, "
                                                "YES, NO, 1 OR 0 EXPECTED\n"});
    }
  }
}

TEST_F(ArgsInstallTest, FillParmsFailures)
{
  /* An instance without an instance user. */
  EXPECT_EQ(fill({"-c", "-i", "inst9"}), ARGS_RC_NOUSER);
  ASSERT_EQ(vMsgs.size(), 1u);
  EXPECT_EQ(vMsgs[0], "ZORU415E COULD NOT DETERMINE INSTANCE USER FOR INSTANCE NAME inst9\n");
  EXPECT_EQ(text(TOKEN_INSTANCE_NAME), "inst9");   /* atoms made so far stay */
  EXPECT_EQ(atom(TOKEN_INSTANCE_USER), nullptr);

  /* No configuration file and no -i: no instance name. */
  fs::remove(strDir + "/topzav/cfg/db2zav.cfg");
  EXPECT_EQ(fill({"-c"}), ARGS_RC_NOINST);
  EXPECT_EQ(atom(TOKEN_INSTANCE_NAME), nullptr);
}

TEST_F(ArgsInstallTest, PartitionSets)
{
  struct {
    std::vector<std::string> vArgs;
    uint32_t ulBits;
    std::vector<uint32_t> vSet;
  } aCases[] = {
      {{}, ARGS_PART_BITS, {}},
      {{"--part", "all"}, ARGS_PART_BITS, {}},
      {{"--part", "0,2"}, 3, {0, 2}},
      {{"--part", ",5,,1,"}, 6, {1, 5}},
      {{"--part", "999"}, 1000, {999}},
      {{"--part", ","}, 0, {}},
  };
  for (auto &c : aCases) {
    SCOPED_TRACE(c.vArgs.empty() ? "none" : c.vArgs.back());
    std::vector<std::string> vArgs = {"-c"};
    vArgs.insert(vArgs.end(), c.vArgs.begin(), c.vArgs.end());
    ASSERT_EQ(parse(vArgs), 0);
    obf *pobf = _argsParsePart(&args, "inst1");
    ASSERT_NE(pobf, nullptr);
    EXPECT_EQ(pobf->ulBitCount, c.ulBits);
    std::vector<uint32_t> vSet;
    for (uint32_t i = 0; i < pobf->ulBitCount; i++)
      if (obfGet(pobf, i)) vSet.push_back(i);
    EXPECT_EQ(vSet, c.vSet);
    obfDestroy(pobf);
  }

  /* "current": the partitions of this host in the instance's partition table. */
  {
    std::ofstream out(strDir + "/home/sqllib/db2nodes.cfg");
    out << "0 " << localHost() << " 0\n1 elsewhere-h13 0\n3 " << localHost() << " 1\n";
  }
  ASSERT_EQ(parse({"-c", "--part", "current"}), 0);
  obf *pobf = _argsParsePart(&args, "inst1");
  ASSERT_NE(pobf, nullptr);
  EXPECT_EQ(pobf->ulBitCount, 4u);
  EXPECT_EQ(obfGet(pobf, 0), 1);
  EXPECT_EQ(obfGet(pobf, 1), 0);
  EXPECT_EQ(obfGet(pobf, 3), 1);
  obfDestroy(pobf);
}

}  // namespace
