/*
** omsgsd_test.cpp
**   The daemon library's message module, linked statically with the same
**   objects as libdb2zavdm: the keyword set built from a trace list, the
**   sysprint file and the system log, deferral, the formatting buffer, the
**   catalogue, and the per-module trace helpers of traced library modules
**   (tools "$TOOLS", configuration "$CONFIG").  Trace files are written in
**   the current directory, so every test runs in a temporary directory.
*/
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "common/ochar.h"
#include "common/omsgs.h"
#include "common/ostack.h"
#include "daemonlib/omsgsd.h"
#include "model/config.h"
#include "model/tools.h"
#include "tests/zavtest.h"

namespace {

void writeText(const std::string &strPath, const std::string &strText)
{
  std::ofstream(strPath, std::ios::binary) << strText;
}

/* A CCSID 850 string object holding pcText; destroyed by the caller. */
ochar *makeList(const char *pcText)
{
  ochar *pchar = ocharCreate(0, 850);
  if (pchar != nullptr && std::strlen(pcText) > 0)
    ocharAppendFixedS(pchar, pcText, (int32_t)std::strlen(pcText));
  return pchar;
}

int countOf(const std::string &strText, const std::string &strPiece)
{
  int n = 0;
  for (size_t ul = strText.find(strPiece); ul != std::string::npos; ul = strText.find(strPiece, ul + 1)) n++;
  return n;
}

class OmsgsdTest : public ::testing::Test {
 protected:
  zavtestTempDir dir;
  std::string strOldCwd;
  std::string strSysprint;

  void SetUp() override
  {
    ASSERT_FALSE(dir.path.empty());
    char ac[4096];
    ASSERT_NE(getcwd(ac, sizeof ac), nullptr);
    strOldCwd = ac;
    ASSERT_EQ(chdir(dir.path.c_str()), 0);
    strSysprint = dir.file("sysprint");
  }

  void TearDown() override
  {
    omsgsSetDefered(0);
    omsgsRestaureDefered(nullptr);
    omsgsDestroyModule(0);
    omsgsCloseSysprint();
    EXPECT_EQ(chdir(strOldCwd.c_str()), 0);
  }

  /* Starts the module with a sysprint file and a trace list (NULL: none). */
  int init(const char *pcTraceList, const char *pcSysprint = nullptr)
  {
    ochar *pcharList = pcTraceList != nullptr ? makeList(pcTraceList) : nullptr;
    int rc = omsgsInitModule(nullptr, 0, pcSysprint != nullptr ? pcSysprint : strSysprint.c_str(), 0, 0,
                             pcharList, 0, nullptr, nullptr, nullptr);
    ocharDestroy(pcharList);
    return rc;
  }
};

TEST_F(OmsgsdTest, TraceListEnablesEveryWordFollowedByABlank)
{
  struct Case {
    const char *pcList;
    bool boConfig, boTools, boTorvel;
  } aCases[] = {
      {"$CONFIG $TOOLS ", true, true, false},
      {"$CONFIG $TOOLS", true, false, false},    /* no blank after the last word */
      {"  $TOOLS  $TORVEL ", false, true, true},
      {" ", false, false, false},
      {nullptr, false, false, false},
  };
  for (const Case &c : aCases) {
    SCOPED_TRACE(c.pcList != nullptr ? c.pcList : "(no list)");
    ASSERT_EQ(init(c.pcList), 0);
    EXPECT_EQ(omsgsTraceCheck("$CONFIG"), c.boConfig ? 1 : 0);
    EXPECT_EQ(omsgsTraceCheck("$TOOLS"), c.boTools ? 1 : 0);
    EXPECT_EQ(omsgsTraceCheck("$TOOLS "), 0);
    EXPECT_EQ(gboTorvelExist, c.boTorvel ? 1 : 0);
    omsgsDestroyModule(0);
    EXPECT_EQ(omsgsTraceCheck("$CONFIG"), -1);   /* no set after the end */
  }
}

TEST_F(OmsgsdTest, MessagesGoToTheSysprintFileAndDeferredOnesInOrder)
{
  writeText(strSysprint, "earlier line\n");
  ASSERT_EQ(init(" "), 0);
  EXPECT_EQ(omsgsFMTEDO("ZORT001I first %d\n", 1), 0);
  omsgsPrint("ready text\n", 11);

  omsgsSetDefered(1);
  omsgsFMTEDO("ZORT002I deferred %s\n", "a");
  omsgsPrint("ready deferred\nNOT THIS", 15);
  EXPECT_EQ(zavtestReadText(strSysprint), "earlier line\nZORT001I first 1\nready text\n");
  omsgsFlushDefered();
  EXPECT_EQ(omsgsExportDefered(), nullptr);
  omsgsSetDefered(0);
  EXPECT_EQ(zavtestReadText(strSysprint),
            "earlier line\nZORT001I first 1\nready text\nZORT002I deferred a\nready deferred\n");

  /* a new sysprint file takes the following messages */
  std::string strOther = dir.file("other");
  EXPECT_EQ(omsgsInitMessageFileName(strOther.c_str()), 0);
  omsgsFMTEDO("ZORT003I moved\n");
  EXPECT_EQ(zavtestReadText(strOther), "ZORT003I moved\n");
  EXPECT_EQ(countOf(zavtestReadText(strSysprint), "ZORT003I"), 0);
}

TEST_F(OmsgsdTest, FormattingBufferGrowsForLongFormatsAndLongOutput)
{
  ASSERT_EQ(init(" "), 0);
  omsgsSetDefered(1);
  omsgsFMTEDO("ZORT004I short\n");
  EXPECT_EQ(gulSizeMsgsBuffer, 1024u);

  std::string strFormat = "ZORT006I " + std::string(1500, 'y') + "\n";
  omsgsFMTEDO(strFormat.c_str(), 0);                       /* format longer than the buffer */
  EXPECT_EQ(gulSizeMsgsBuffer, strFormat.size() + 1);
  std::string strLong(2000, 'x');
  omsgsFMTEDO("ZORT005I %s\n", strLong.c_str());         /* output longer than the buffer: whole */
  EXPECT_EQ(gulSizeMsgsBuffer, strLong.size() + 11);

  ostack *pstack = omsgsExportDefered();
  ASSERT_NE(pstack, nullptr);
  ASSERT_EQ(ostackGetCount(pstack), 3);
  EXPECT_EQ(std::string((const char *)ostackGetAt(pstack, 1)), strFormat);
  EXPECT_EQ(std::string((const char *)ostackGetAt(pstack, 2)), "ZORT005I " + strLong + "\n");
  omsgsRestaureDefered(pstack);
}

TEST_F(OmsgsdTest, WithoutSysprintMessagesGoToTheSystemLog)
{
  /* a sysprint file that cannot be opened leaves no sysprint stream */
  ASSERT_EQ(init(" ", "/nonexistent-zav/sysprint"), 0);
  EXPECT_EQ(gpfileSysPrint, nullptr);
  EXPECT_EQ(omsgsFMTEDO("ZORT007I to the system log %d\n", 7), 0);
  omsgsPrint("ZORT008I ready text to the system log\n", 38);
  omsgsSetDefered(1);
  omsgsFMTEDO("ZORT009I deferred to the system log\n");
  omsgsFlushDefered();
  EXPECT_EQ(omsgsExportDefered(), nullptr);
}

TEST_F(OmsgsdTest, SysprintLinesAreNotRepeatedByAForkedProcess)
{
  ASSERT_EQ(init(" "), 0);
  omsgsFMTEDO("ZORT010I before the fork\n");
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) exit(0);   /* exit flushes the child's copies of every stream */
  int iStatus = 0;
  ASSERT_EQ(waitpid(pid, &iStatus, 0), pid);
  omsgsDestroyModule(0);
  omsgsCloseSysprint();
  EXPECT_EQ(countOf(zavtestReadText(strSysprint), "ZORT010I"), 1);
}

TEST_F(OmsgsdTest, IpcRegistryAndQueueDoNothing)
{
  ASSERT_EQ(init(" "), 0);
  EXPECT_EQ(omsgsStoreIPCResource(OMSGS_IPC_SHM, 12345), 0);
  EXPECT_EQ(omsgsDeleteIPCResource(OMSGS_IPC_SEM, 12345), 0);
  omsgsMessage msg{};
  EXPECT_EQ(omsgsPostMessage(&msg, 0), -1);
}

/*
** The module helpers: the first entry of a module truncates its keyword's
** file, entries are numbered from one counter for all modules, a disabled
** module writes nothing, and nothing is written after the end of the module
** until it is started again.
*/
TEST_F(OmsgsdTest, TraceHelpersWriteNumberedEntriesToKeywordFiles)
{
  writeText("$TOOLS", "stale content\n");
  writeText("probe", "12345");
  ASSERT_EQ(init("$TOOLS $TRACETO "), 0);
  gulTimeLine = 0;
  int iRc = 0;
  EXPECT_EQ(toolsSizeFile("probe", &iRc), 5);
  omsgsTraceTo("$TRACETO", "raw %d\n", 1);
  omsgsTraceTo("$NOTON", "raw\n");
  EXPECT_EQ(toolsSizeFile("probe", &iRc), 5);
  EXPECT_EQ(zavtestReadText("$TOOLS"),
            "000000 toolsSizeFile pcFile(probe)\n000001 toolsSizeFile size 5 \n"
            "000002 toolsSizeFile pcFile(probe)\n000003 toolsSizeFile size 5 \n");
  EXPECT_EQ(zavtestReadText("$TRACETO"), "raw 1\n");
  EXPECT_FALSE(std::filesystem::exists("$NOTON"));

  /* after the end the module is silent; a new start opens the file afresh */
  omsgsDestroyModule(0);
  EXPECT_EQ(toolsSizeFile("probe", &iRc), 5);
  EXPECT_EQ(countOf(zavtestReadText("$TOOLS"), "toolsSizeFile"), 4);
  ASSERT_EQ(init("$TOOLS "), 0);
  gulTimeLine = 0;
  EXPECT_EQ(toolsSizeFile("probe", &iRc), 5);
  EXPECT_EQ(zavtestReadText("$TOOLS"), "000000 toolsSizeFile pcFile(probe)\n000001 toolsSizeFile size 5 \n");

  /* a forked process does not write the entries again */
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) exit(0);   /* exit flushes the child's copies of every stream */
  int iStatus = 0;
  ASSERT_EQ(waitpid(pid, &iStatus, 0), pid);
  EXPECT_EQ(countOf(zavtestReadText("$TOOLS"), "toolsSizeFile"), 2);

  /* a set without the keyword turns the module off for good */
  ASSERT_EQ(init("$CONFIG "), 0);
  std::filesystem::remove("$TOOLS");
  EXPECT_EQ(toolsSizeFile("probe", &iRc), 5);
  EXPECT_FALSE(std::filesystem::exists("$TOOLS"));
}

/* A module that traces before the module is started never traces (fresh process). */
TEST_F(OmsgsdTest, ModuleTracingBeforeStartStaysOff)
{
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    free(configUseItem(CONFIG_ITEM_BUFSIZE, 1));   /* $CONFIG helper runs without a set */
    if (init("$CONFIG ") != 0) _exit(2);
    free(configUseItem(CONFIG_ITEM_BUFSIZE, 1));
    omsgsDestroyModule(0);
    _exit(std::filesystem::exists("$CONFIG") ? 1 : 0);
  }
  int iStatus = 0;
  ASSERT_EQ(waitpid(pid, &iStatus, 0), pid);
  ASSERT_TRUE(WIFEXITED(iStatus));
  EXPECT_EQ(WEXITSTATUS(iStatus), 0);
}

/*
** Catalogue texts replace the built-in ones when they take the same
** arguments; one that takes others is not used (the arguments given fit the
** built-in format only).
*/
TEST_F(OmsgsdTest, CatalogueTextsReplaceBuiltInTextsOfTheSameArguments)
{
  if (std::system("command -v genrb >/dev/null 2>&1") != 0) GTEST_SKIP() << "genrb not available";
  std::filesystem::create_directories("cat/src");
  std::filesystem::create_directories("cat/bundle");
  std::filesystem::create_directories("top/cfg");
  writeText("cat/src/root.txt",
            "root {\n"
            "  ZORT011I { \"ZORT011I from the catalogue %s\\n\" }\n"
            "  ZORT012I { \"ZORT012I from the catalogue %d %s\\n\" }\n"
            "}\n");
  ASSERT_EQ(std::system("genrb -q -s cat/src -d cat/bundle root.txt"), 0);
  writeText("top/cfg/db2zav.cfg", "languagecode=en\ncountrycode=US\n");
  std::string strTop = dir.file("top");
  const char *pcOldTop = std::getenv("TOPZAV");
  std::string strOldTop = pcOldTop != nullptr ? pcOldTop : "";
  setenv("TOPZAV", strTop.c_str(), 1);
  char *pcLanguage = nullptr, *pcPath = nullptr;
  int rcLanguage = configSetLanguage(&pcLanguage, &pcPath);
  std::free(pcLanguage);
  std::free(pcPath);
  if (pcOldTop != nullptr) setenv("TOPZAV", strOldTop.c_str(), 1); else unsetenv("TOPZAV");
  ASSERT_EQ(rcLanguage, 0);

  ASSERT_EQ(init(" "), 0);
  std::string strBundle = dir.file("cat/bundle");
  ASSERT_EQ(omsgsInitLanguage(strBundle.c_str(), "root"), 0);
  ASSERT_NE(gures_messages, nullptr);
  EXPECT_EQ(omsgsFMTEDO("ZORT011I built-in %s\n", "a"), 1);
  EXPECT_EQ(omsgsFMTEDO("ZORT012I built-in %s\n", "b"), 0);
  EXPECT_EQ(omsgsFMTEDO("ZORT013I not in the catalogue %s\n", "c"), 0);
  EXPECT_EQ(zavtestReadText(strSysprint),
            "ZORT011I from the catalogue a\nZORT012I built-in b\nZORT013I not in the catalogue c\n");
  omsgsDestroyModule(0);
  EXPECT_EQ(gures_messages, nullptr);
}

}  // namespace
