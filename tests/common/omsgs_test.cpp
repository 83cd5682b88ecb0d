/*
** omsgs_test.cpp
**   Messages, traces and the message centre.  Every scenario that starts a
**   centre runs in a forked child of the test ("main" below), so that the
**   test process keeps no centre, queue or module state; the child checks
**   with EXPECT and exits 1 on a failure, the test checks the files the
**   centre wrote.  Trace files are written in a temporary directory.
*/
#define OMSGS_TRACE_KEYWORD "$TSTA"
#define OMSGS_DEBUG_KEYWORD "$TSTAD"
#include "common/omsgsmod.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <sched.h>
#include <sys/ipc.h>
#include <sys/msg.h>
#include <sys/sem.h>
#include <sys/shm.h>
#include <sys/wait.h>
#include <unistd.h>

#include <unicode/ures.h>
#include <unicode/ustring.h>

#include "common/ochar.h"
#include "common/ocnvft.h"
#include "common/ostack.h"

namespace {

namespace fs = std::filesystem;

std::string readFile(const std::string &strPath)
{
  std::ifstream in(strPath, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void writeFile(const std::string &strPath, const std::string &strText)
{
  std::ofstream out(strPath, std::ios::binary);
  out << strText;
}

/* A temporary directory removed with everything in it at the end of the test. */
struct TempDir {
  std::string strPath;
  TempDir()
  {
    char ac[] = "/tmp/omsgs_testXXXXXX";
    char *pc = mkdtemp(ac);
    if (pc != nullptr) strPath = pc;
  }
  ~TempDir()
  {
    std::error_code ec;
    if (!strPath.empty()) fs::remove_all(strPath, ec);
  }
  std::string operator/(const std::string &strName) const { return strPath + "/" + strName; }
};

/* Runs f in a forked child; returns the child's wait status. */
template <class F>
int runChild(F f)
{
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    alarm(60);   /* a hung scenario must not hang the suite */
    f();
    std::fflush(nullptr);
    _exit(::testing::Test::HasFailure() ? 1 : 0);
  }
  int iStatus = -1;
  waitpid(pid, &iStatus, 0);
  return iStatus;
}

#define EXPECT_CHILD_OK(status) \
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child wait status " << (status)

/* A trace list string object. */
ochar *traceList(const char *pcText)
{
  ochar *pchar = ocharCreate(0, 850);
  ocharAppendFixed(pchar, pcText, (int32_t)std::strlen(pcText));
  return pchar;
}

/* Starts the message system for the calling (child) process. */
int startMessages(const char *pcSysprint, const char *pcList, int *piCentre,
                  const char *pcBundle = nullptr, const char *pcLocale = nullptr)
{
  ochar *pchar = pcList != nullptr ? traceList(pcList) : nullptr;
  int rc = omsgsInitModule("/", (int)getpid(), pcSysprint, 0, 0, pchar, 1, piCentre, pcBundle,
                           pcLocale);
  ocharDestroy(pchar);
  return rc;
}

/* Posts a type-2 line for any keyword, as a module with that keyword would. */
void traceFor(const char *pcKeyword, const char *pcFormat, ...)
{
  va_list va;
  va_start(va, pcFormat);
  omsgsTracePostV(OMSGS_TYPE_TRACE, pcKeyword, pcFormat, va);
  va_end(va);
}

/* SysV identifiers listed in /proc/sysvipc/<kind> (second column). */
std::set<int> sysvIds(const char *pcKind)
{
  std::set<int> set;
  std::ifstream in(std::string("/proc/sysvipc/") + pcKind);
  std::string strLine;
  std::getline(in, strLine);
  while (std::getline(in, strLine)) {
    std::istringstream ss(strLine);
    long lKey;
    int iId;
    if (ss >> lKey >> iId) set.insert(iId);
  }
  return set;
}

std::string stackText(ostack *pstack, int i)
{
  return std::string((const char *)ostackGetAt(pstack, i));
}

}  // namespace

/* ---- Without a centre ------------------------------------------------------------------ */

TEST(omsgsDeferred, StackHoldsExportsAndRestores)
{
  ASSERT_EQ(gmsgid, -1);
  EXPECT_EQ(omsgsSetDefered(1), 0);
  EXPECT_EQ(omsgsSetDefered(1), 1);

  std::string strLong(3000, 'L');
  omsgsFMTEDO("TST0001I ONE %d\n", 1);
  omsgsPrint("TST0002I TWO\nNOT THIS", 13);
  omsgsFMTEDO("TST0003I %s\n", strLong.c_str());   /* beyond the first buffer */
  omsgsSetDefered(0);
  omsgsStack("TST0004I FOUR\nXX", 14);              /* pushed with deferral off */

  ostack *pstack = omsgsExportDefered();
  ASSERT_NE(pstack, nullptr);
  EXPECT_EQ(gpstackMessage, nullptr);
  ASSERT_EQ(ostackGetCount(pstack), 4);
  EXPECT_EQ(stackText(pstack, 0), "TST0001I ONE 1\n");
  EXPECT_EQ(stackText(pstack, 1), "TST0002I TWO\n");
  EXPECT_EQ(stackText(pstack, 2), "TST0003I " + strLong + "\n");
  EXPECT_EQ(stackText(pstack, 3), "TST0004I FOUR\n");

  /* later texts start a new stack; restoring the exported one drops it, unsent */
  omsgsStack("TST0005I NEW\n", 13);
  ASSERT_NE(gpstackMessage, nullptr);
  EXPECT_NE(gpstackMessage, pstack);
  omsgsRestaureDefered(pstack);
  EXPECT_EQ(gpstackMessage, pstack);

  /* restoring the current stack itself destroys nothing */
  omsgsRestaureDefered(pstack);
  ASSERT_EQ(gpstackMessage, pstack);
  EXPECT_EQ(stackText(pstack, 3), "TST0004I FOUR\n");

  omsgsRestaureDefered(nullptr);
  EXPECT_EQ(gpstackMessage, nullptr);
  omsgsFlushDefered();   /* no stack: nothing */
  EXPECT_EQ(gpstackMessage, nullptr);
}

TEST(omsgsTraceCopy, DroppedAndUncheckedBeforeStart)
{
  ASSERT_EQ(gpstrdictTrace, nullptr);
  EXPECT_EQ(omsgsTrace("before start %d\n", 1), 0);
  EXPECT_EQ(omsgsTrace2(stdout, "piece"), 0);
  EXPECT_EQ(giInitTrace.load(), 0);
  EXPECT_STREQ(gpzcFileTrace.load(), "$TSTA");   /* checked again once the system runs */
  EXPECT_EQ(omsgsTraceTo(nullptr, "x"), 0);
  EXPECT_EQ(omsgsFMTEDO("TST0001I NOWHERE %d\n", 2), 0);   /* no queue: dropped */
  EXPECT_EQ(gmsgid, -1);
}

/* ---- With a centre --------------------------------------------------------------------- */

TEST(omsgsCentre, SysprintKeepsOrderAndHeldMessagesWaitForFlush)
{
  TempDir dir;
  ASSERT_FALSE(dir.strPath.empty());
  const std::string strSysprint = dir / "sysprint";
  const std::string strSecond = dir / "second";
  writeFile(strSysprint, "OLD\n");   /* appended to, not truncated */
  std::string strLong(9000, 'z');
  strLong += "\n";

  int iStatus = runChild([&] {
    omsgsSetDefered(1);
    omsgsFMTEDO("TST0001I HELD %d\n", 7);
    int iCentre = 0;
    ASSERT_EQ(startMessages(strSysprint.c_str(), nullptr, &iCentre), 0);
    ASSERT_GT(iCentre, 0);
    ASSERT_GE(gmsgid, 0);

    /* the queue is the owner's and the group's only */
    struct msqid_ds ds;
    ASSERT_EQ(msgctl(gmsgid, IPC_STAT, &ds), 0);
    EXPECT_EQ(ds.msg_perm.mode & 0777, 0660);

    omsgsSetDefered(0);
    omsgsFMTEDO("TST0002I DIRECT %s\n", "PARENT");
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
      for (int i = 1; i <= 3; i++) omsgsFMTEDO("TST0003I CHILD %d\n", i);
      omsgsPrint(strLong.c_str(), (int)strLong.size());
      _exit(0);
    }
    waitpid(pid, nullptr, 0);
    omsgsFlushDefered();
    EXPECT_EQ(gpstackMessage, nullptr);
    omsgsFMTEDO("TST0004I AFTER FLUSH\n");
    omsgsInitMessageFileName(strSecond.c_str());
    omsgsFMTEDO("TST0005I IN THE SECOND FILE\n");
    EXPECT_EQ(omsgsDestroyModule(iCentre), 0);
    EXPECT_EQ(gmsgid, -1);
  });
  EXPECT_CHILD_OK(iStatus);
  EXPECT_EQ(readFile(strSysprint),
            "OLD\n"
            "TST0002I DIRECT PARENT\n"
            "TST0003I CHILD 1\nTST0003I CHILD 2\nTST0003I CHILD 3\n" +
                strLong +
                "TST0001I HELD 7\n"
                "TST0004I AFTER FLUSH\n");
  EXPECT_EQ(readFile(strSecond), "TST0005I IN THE SECOND FILE\n");
}

TEST(omsgsCentre, QuietRunWritesNoSysprint)
{
  TempDir dir;
  const std::string strSysprint = dir / "sysprint";
  int iStatus = runChild([&] {
    int iCentre = 0;
    ASSERT_EQ(omsgsInitModule("/", (int)getpid(), strSysprint.c_str(), 1, 1, nullptr, 1, &iCentre,
                              nullptr, nullptr),
              0);
    omsgsFMTEDO("TST0001I SILENCED\n");
    EXPECT_EQ(omsgsDestroyModule(iCentre), 0);
  });
  EXPECT_CHILD_OK(iStatus);
  EXPECT_FALSE(fs::exists(strSysprint));
}

TEST(omsgsCentre, EnabledSetFromTraceList)
{
  struct Case {
    const char *pcList;
    std::vector<const char *> vOn;
    std::vector<const char *> vOff;
    int boTorvel;
  };
  const std::vector<Case> vCases = {
      {"$CONFIG $URUN ", {"$CONFIG", "$URUN"}, {"$URU", "$CONFIG "}, 0},
      {"$CONFIG $URUN", {"$CONFIG"}, {"$URUN"}, 0},   /* no blank after the last */
      {"  $A  ", {"$A"}, {" ", ""}, 0},
      {"$TORVEL ", {"$TORVEL"}, {}, 1},
      {"$TORVELX ", {"$TORVELX"}, {"$TORVEL"}, 0},
      {"", {}, {"$CONFIG"}, 0},
  };
  TempDir dir;
  int iStatus = runChild([&] {
    ASSERT_EQ(chdir(dir.strPath.c_str()), 0);
    int iCentre = 0;
    ASSERT_EQ(startMessages(nullptr, "$OTHER ", &iCentre), 0);

    /* the module's keyword is not enabled: it is cleared for good */
    EXPECT_EQ(omsgsTrace("never\n"), 0);
    EXPECT_EQ(gpzcFileTrace.load(), nullptr);

    for (const Case &c : vCases) {
      SCOPED_TRACE(c.pcList);
      int iAgain = 0;
      EXPECT_EQ(startMessages(nullptr, c.pcList, &iAgain), OMSGS_RC_STARTED);
      EXPECT_EQ(iAgain, -1);
      for (const char *pc : c.vOn) EXPECT_EQ(omsgsTraceCheck(pc), 1) << pc;
      for (const char *pc : c.vOff) EXPECT_EQ(omsgsTraceCheck(pc), 0) << pc;
      EXPECT_EQ(gboTorvelExist, c.boTorvel);
    }
    int iAgain = 0;
    startMessages(nullptr, "$TSTA ", &iAgain);
    EXPECT_EQ(omsgsTrace("still never\n"), 0);
    EXPECT_EQ(gpzcFileTrace.load(), nullptr);
    EXPECT_EQ(omsgsDestroyModule(iCentre), 0);
  });
  EXPECT_CHILD_OK(iStatus);
}

TEST(omsgsCentre, TraceFilesForEnabledKeywordsOnly)
{
  TempDir dir;
  pid_t pidMain = 0, pidChild = 0;
  int aiPipe[2];
  ASSERT_EQ(pipe(aiPipe), 0);
  int iStatus = runChild([&] {
    close(aiPipe[0]);
    ASSERT_EQ(chdir(dir.strPath.c_str()), 0);
    EXPECT_EQ(omsgsTrace("before start\n"), 0);
    EXPECT_EQ(giInitTrace.load(), 0);

    int iCentre = 0;
    ASSERT_EQ(startMessages(nullptr, "$TSTA $TSTB $LONGKEYWORD1 ", &iCentre), 0);
    omsgsTrace("line %d\n", 1);
    EXPECT_EQ(giInitTrace.load(), 1);
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
      omsgsTrace("line %d\n", 2);
      _exit(0);
    }
    waitpid(pid, nullptr, 0);
    traceFor("$TSTB", "other file %s\n", "b");
    omsgsTraceTo("$TSTB", "raw %s|", "piece");
    omsgsTraceTo("$TSTB", "raw %s|", "piece");
    omsgsTraceTo("$TSTC", "not enabled\n");
    omsgsTraceTo("$LONGKEYWORD1", "cut keyword\n");
    omsgsTrace("%s\n", std::string(5000, 'x').c_str());
    omsgsTrace2(stdout, "parser %s", "piece, ");
    omsgsTrace2(stdout, "%s\n", "end of line");
    EXPECT_EQ(omsgsDestroyModule(iCentre), 0);
    pid_t apid[2] = {getpid(), pid};
    ASSERT_EQ(write(aiPipe[1], apid, sizeof apid), (ssize_t)sizeof apid);
  });
  close(aiPipe[1]);
  pid_t apid[2] = {0, 0};
  EXPECT_EQ(read(aiPipe[0], apid, sizeof apid), (ssize_t)sizeof apid);
  close(aiPipe[0]);
  EXPECT_CHILD_OK(iStatus);
  pidMain = apid[0];
  pidChild = apid[1];
  ASSERT_GT(pidMain, 0);

  std::set<std::string> setNames;
  for (const auto &entry : fs::directory_iterator(dir.strPath))
    setNames.insert(entry.path().filename().string());
  char acSuffix[32];
  std::snprintf(acSuffix, sizeof acSuffix, "_%5.5i", (int)pidMain);
  const std::string strA = std::string("$TSTA") + acSuffix;
  const std::string strB = std::string("$TSTB") + acSuffix;
  const std::string strLongKw = std::string("$LONGKEYWORD1") + acSuffix;
  EXPECT_EQ(setNames, (std::set<std::string>{strA, strB, strLongKw}));

  /* sender, one counter over all files, time, text */
  std::string strTraceA = readFile(dir / strA);
  std::vector<std::string> vLines;
  std::istringstream ss(strTraceA);
  for (std::string s; std::getline(ss, s);) vLines.push_back(s);
  ASSERT_EQ(vLines.size(), 4u);
  EXPECT_EQ(vLines[3], "parser piece, end of line");   /* raw text: no stamp */
  const std::regex re(R"(^(\d{5,})\.(\d{6})\[\d\d:\d\d:\d\d\] )");
  struct Want {
    pid_t pid;
    const char *pcCounter;
    std::string strText;
  };
  const Want aWant[] = {{pidMain, "000000", "line 1"},
                        {pidChild, "000001", "line 2"},
                        {pidMain, "000003", std::string(OMSGS_TEXT_SIZE - 2, 'x')}};
  for (size_t i = 0; i < 3; i++) {
    std::smatch m;
    const std::string strHead = vLines[i].substr(0, 40);
    ASSERT_TRUE(std::regex_search(strHead, m, re)) << strHead;
    EXPECT_EQ(std::stoi(m.str(1)), (int)aWant[i].pid);
    EXPECT_EQ(m.str(2), aWant[i].pcCounter);
    EXPECT_EQ(vLines[i].substr(m.length(0)), aWant[i].strText) << "line " << i;
  }
  std::string strTraceB = readFile(dir / strB);
  EXPECT_TRUE(std::regex_match(strTraceB, std::regex(R"(^\d{5,}\.000002\[\d\d:\d\d:\d\d\] other file b\nraw piece\|raw piece\|$)")))
      << strTraceB;
  EXPECT_EQ(readFile(dir / strLongKw), "");   /* records carry eight characters of a keyword */
}

TEST(omsgsCatalogue, BuiltCatalogueHoldsTheBuiltinTexts)
{
  const std::string strBundle = std::string(ZAV_BINARY_DIR) + "/msg/db2zav";
  struct Entry {
    const char *pcId;
    const char *pcText;
  };
  const Entry aEntry[] = {
#define OMSG(id, text) {#id, text},
#include "common/omsgstab.def"
#undef OMSG
#if __has_include("model/zormsgs.def")
#define ZMSG(id, text) {#id, text},
#include "model/zormsgs.def"
#undef ZMSG
#endif
      {nullptr, nullptr}};
  ASSERT_NE(aEntry[0].pcId, nullptr);
  for (const char *pcLocale : {"en", "root"}) {
    UErrorCode err = U_ZERO_ERROR;
    UResourceBundle *pres = ures_open(strBundle.c_str(), pcLocale, &err);
    ASSERT_TRUE(U_SUCCESS(err)) << pcLocale << " " << u_errorName(err);
    for (const Entry *p = aEntry; p->pcId != nullptr; p++) {
      UErrorCode errKey = U_ZERO_ERROR;
      int32_t ilLen = 0;
      const UChar *pu = ures_getStringByKey(pres, p->pcId, &ilLen, &errKey);
      ASSERT_TRUE(U_SUCCESS(errKey)) << p->pcId;
      /* the built-in texts are single-byte Latin-1; the catalogue holds them as UTF-16 */
      std::string str;
      for (int32_t i = 0; i < ilLen; i++) {
        ASSERT_LT(pu[i], 0x100) << p->pcId;
        str += (char)pu[i];
      }
      EXPECT_EQ(str, p->pcText) << pcLocale << " " << p->pcId;
    }
    ures_close(pres);
  }
}

TEST(omsgsCatalogue, ReplacesBuiltinTextOnlyWhenConversionsMatch)
{
  TempDir dir;
  const std::string strBundle = dir / "db2zav";
  fs::create_directory(strBundle);
  writeFile(dir / "root.txt", "root {\n}\n");
  writeFile(dir / "en.txt",
            "en {\n"
            "  ZORU366I { \"ZORU366I CODE RETOUR %i (CODE RAISON 0x%X)\\n\" }\n"
            "  TSTM002I { \"TSTM002I BAD %s\\n\" }\n"
            "  TSTM004I { \"TSTM004I %n\\n\" }\n"
            "  TSTM005I { \"TSTM005I %2$s %1$s\\n\" }\n"
            "}\n");
  std::string strCmd = "genrb -q -s " + dir.strPath + " -d " + strBundle + " root.txt en.txt >/dev/null 2>&1";
  if (std::system(strCmd.c_str()) != 0) GTEST_SKIP() << "genrb is not available";
  const std::string strSysprint = dir / "sysprint";

  int iStatus = runChild([&] {
    ASSERT_EQ(ocnvftCreateGlobal(nullptr, 'A', 0x80, 37, 0, 1200, 850, 0, 0, 850, 1208, 1202, 850, 0, 0), 0);
    ocnvftSetExternal(nullptr, 850, 0, 0);
    int iCentre = 0;
    ASSERT_EQ(startMessages(strSysprint.c_str(), nullptr, &iCentre, strBundle.c_str(), "en"), 0);
    ASSERT_NE(gures_messages, nullptr);
    omsgsFMTEDO("ZORU366I ZAV RETURN CODE %d (REASON CODE 0x%x)\n", 8, 0x111a002);
    omsgsFMTEDO("TSTM002I GOOD %d\n", 42);       /* catalogue text takes a string: refused */
    omsgsFMTEDO("TSTM003I MISSING %d\n", 3);     /* no catalogue text */
    omsgsFMTEDO("TSTM004I PLAIN\n");             /* catalogue text would write memory */
    omsgsFMTEDO("TSTM005I %s %s\n", "A", "B");   /* positional arguments are not vouched for */
    omsgsSetDefered(1);
    omsgsFMTEDO("ZORU366I ZAV RETURN CODE %d (REASON CODE 0x%x)\n", 4, 0x1000);
    omsgsFlushDefered();
    omsgsSetDefered(0);
    omsgsInitLanguage(nullptr, nullptr);         /* no catalogue: built-in texts */
    EXPECT_EQ(gures_messages, nullptr);
    omsgsFMTEDO("ZORU366I ZAV RETURN CODE %d (REASON CODE 0x%x)\n", 0, 0);
    EXPECT_EQ(omsgsDestroyModule(iCentre), 0);
  });
  EXPECT_CHILD_OK(iStatus);
  EXPECT_EQ(readFile(strSysprint),
            "ZORU366I CODE RETOUR 8 (CODE RAISON 0x111A002)\n"
            "TSTM002I GOOD 42\n"
            "TSTM003I MISSING 3\n"
            "TSTM004I PLAIN\n"
            "TSTM005I A B\n"
            "ZORU366I CODE RETOUR 4 (CODE RAISON 0x1000)\n"
            "ZORU366I ZAV RETURN CODE 0 (REASON CODE 0x0)\n");
}

TEST(omsgsCentre, RemovesRegisteredResourcesWhenMainIsKilled)
{
  int aiPipe[2];
  ASSERT_EQ(pipe(aiPipe), 0);
  std::fflush(nullptr);
  pid_t pidMain = fork();
  ASSERT_GE(pidMain, 0);
  if (pidMain == 0) {
    close(aiPipe[0]);
    alarm(60);
    int iCentre = 0;
    int aiIds[5] = {-1, -1, -1, -1, -1};
    if (startMessages(nullptr, nullptr, &iCentre) == 0) {
      aiIds[0] = shmget(IPC_PRIVATE, 4096, IPC_CREAT | 0600);
      aiIds[1] = semget(IPC_PRIVATE, 3, IPC_CREAT | 0600);
      aiIds[2] = msgget(IPC_PRIVATE, IPC_CREAT | 0600);
      aiIds[3] = shmget(IPC_PRIVATE, 4096, IPC_CREAT | 0600);   /* unregistered again: kept */
      aiIds[4] = gmsgid;
      omsgsStoreIPCResource(OMSGS_IPC_SHM, aiIds[0]);
      omsgsStoreIPCResource(OMSGS_IPC_SEM, aiIds[1]);
      omsgsStoreIPCResource(OMSGS_IPC_MSG, aiIds[2]);
      omsgsStoreIPCResource(OMSGS_IPC_SHM, aiIds[3]);
      omsgsDeleteIPCResource(OMSGS_IPC_SHM, aiIds[3]);
    }
    if (write(aiPipe[1], aiIds, sizeof aiIds) != (ssize_t)sizeof aiIds) _exit(2);
    for (;;) pause();
  }
  close(aiPipe[1]);
  int aiIds[5] = {-1, -1, -1, -1, -1};
  ssize_t lRead = read(aiPipe[0], aiIds, sizeof aiIds);
  close(aiPipe[0]);
  bool boListed = sysvIds("shm").count(aiIds[0]) && sysvIds("sem").count(aiIds[1]) &&
                  sysvIds("msg").count(aiIds[2]) && sysvIds("msg").count(aiIds[4]);
  kill(pidMain, SIGKILL);
  waitpid(pidMain, nullptr, 0);
  ASSERT_EQ(lRead, (ssize_t)sizeof aiIds);
  for (int id : aiIds) ASSERT_GE(id, 0);
  EXPECT_TRUE(boListed) << "the resources were not listed while main ran";

  /* the centre notices within about a second; allow ten */
  bool boGone = false;
  for (int i = 0; i < 100 && !boGone; i++) {
    std::set<int> setShm = sysvIds("shm"), setSem = sysvIds("sem"), setMsg = sysvIds("msg");
    boGone = !setShm.count(aiIds[0]) && !setSem.count(aiIds[1]) && !setMsg.count(aiIds[2]) &&
             !setMsg.count(aiIds[4]);
    if (!boGone) usleep(100000);
  }
  EXPECT_TRUE(boGone) << "registered resources or the centre's queue remain";
  EXPECT_EQ(sysvIds("shm").count(aiIds[3]), 1u) << "an unregistered segment was removed";
  shmctl(aiIds[3], IPC_RMID, nullptr);
  for (int i = 0; i < 3; i++) {   /* in case the centre did not do its work */
    shmctl(aiIds[0], IPC_RMID, nullptr);
    semctl(aiIds[1], 0, IPC_RMID);
    msgctl(aiIds[2], IPC_RMID, nullptr);
  }
}

/*
** A run killed with its centre (SIGKILL to the group) leaves its queue, its
** registry segment and the semaphore sets they list.  A later process
** removes what the registry lists (one set), what records the dead centre
** left unread in the queue list (another set), the queue and the segment;
** a set the run never registered stays, and a run that is still alive is
** left alone.
*/
TEST(omsgsCentre, ARunKilledWithItsCentreIsClearedByALaterOne)
{
  int aiPipe[2], aiGo[2];
  ASSERT_EQ(pipe(aiPipe), 0);
  ASSERT_EQ(pipe(aiGo), 0);
  std::fflush(nullptr);
  pid_t pidMain = fork();
  ASSERT_GE(pidMain, 0);
  if (pidMain == 0) {
    setpgid(0, 0);
    close(aiPipe[0]);
    close(aiGo[1]);
    alarm(60);
    int iCentre = 0;
    /* ids: centre, queue, registered, registered while the centre is stopped, never registered */
    int aiIds[5] = {-1, -1, -1, -1, -1};
    if (startMessages(nullptr, nullptr, &iCentre) == 0) {
      aiIds[0] = iCentre;
      aiIds[1] = gmsgid;
      aiIds[2] = semget(IPC_PRIVATE, 1, IPC_CREAT | 0600);
      aiIds[4] = semget(IPC_PRIVATE, 1, IPC_CREAT | 0600);
      omsgsStoreIPCResource(OMSGS_IPC_SEM, aiIds[2]);
    }
    if (write(aiPipe[1], aiIds, sizeof aiIds) != (ssize_t)sizeof aiIds) _exit(2);
    char c;
    if (read(aiGo[0], &c, 1) != 1) _exit(3);   /* the centre is stopped now */
    aiIds[3] = semget(IPC_PRIVATE, 1, IPC_CREAT | 0600);
    omsgsStoreIPCResource(OMSGS_IPC_SEM, aiIds[3]);
    if (write(aiPipe[1], aiIds, sizeof aiIds) != (ssize_t)sizeof aiIds) _exit(2);
    for (;;) pause();
  }
  close(aiPipe[1]);
  close(aiGo[0]);
  int aiIds[5] = {-1, -1, -1, -1, -1};
  ASSERT_EQ(read(aiPipe[0], aiIds, sizeof aiIds), (ssize_t)sizeof aiIds);
  for (int i : {0, 1, 2, 4}) ASSERT_GE(aiIds[i], 0);

  /* the run's registry: under the queue's key (tag 0x5A over the main process id) */
  int iRegistry = -1;
  for (int i = 0; i < 500 && iRegistry < 0; i++) {
    iRegistry = shmget((key_t)(0x5A000000 | pidMain), 0, 0);
    if (iRegistry < 0) usleep(10000);
  }
  ASSERT_GE(iRegistry, 0) << "no registry segment under the run's key";
  /* the first set is listed once the centre has read its record: entries from byte 24, count at 12 */
  bool boListed = false;
  for (int i = 0; i < 500 && !boListed; i++) {
    void *p = shmat(iRegistry, nullptr, SHM_RDONLY);
    ASSERT_NE(p, (void *)-1);
    const unsigned char *puc = (const unsigned char *)p;
    uint32_t ulCount = puc[12] | puc[13] << 8 | puc[14] << 16 | (uint32_t)puc[15] << 24;
    int32_t ilKind = (int32_t)(puc[24] | puc[25] << 8 | puc[26] << 16 | (uint32_t)puc[27] << 24);
    int32_t ilId = (int32_t)(puc[28] | puc[29] << 8 | puc[30] << 16 | (uint32_t)puc[31] << 24);
    boListed = std::memcmp(puc, "ZAVR", 4) == 0 && ulCount == 1 && ilKind == OMSGS_IPC_SEM && ilId == aiIds[2];
    shmdt(p);
    if (!boListed) usleep(10000);
  }
  EXPECT_TRUE(boListed) << "the registered set is not in the registry segment";

  /* while the run lives, nothing of it is touched */
  omsgsClearEarlierRuns();
  EXPECT_EQ(sysvIds("sem").count(aiIds[2]), 1u);
  EXPECT_EQ(sysvIds("msg").count(aiIds[1]), 1u);

  /* the centre reads no more (once it shows as stopped, it no longer waits
     in its receive): the next record stays in the queue */
  auto centreState = [&] {
    std::string strStat = readFile("/proc/" + std::to_string(aiIds[0]) + "/stat");
    size_t ul = strStat.rfind(')');
    return ul != std::string::npos && ul + 2 < strStat.size() ? strStat[ul + 2] : '?';
  };
  kill(aiIds[0], SIGSTOP);
  for (int i = 0; i < 500 && centreState() != 'T'; i++) usleep(10000);
  ASSERT_EQ(centreState(), 'T');
  ASSERT_EQ(write(aiGo[1], "x", 1), 1);
  ASSERT_EQ(read(aiPipe[0], aiIds, sizeof aiIds), (ssize_t)sizeof aiIds);
  close(aiPipe[0]);
  close(aiGo[1]);
  kill(-pidMain, SIGKILL);
  waitpid(pidMain, nullptr, 0);
  /* the centre ends too (a zombie counts: its segment is detached) */
  auto centreUp = [&] {
    char c = centreState();
    return c != '?' && c != 'Z' && c != 'X';
  };
  for (int i = 0; i < 500 && centreUp(); i++) usleep(10000);
  EXPECT_EQ(sysvIds("sem").count(aiIds[3]), 1u);
  EXPECT_EQ(sysvIds("shm").count(iRegistry), 1u) << "a killed centre removed its registry";

  EXPECT_GE(omsgsClearEarlierRuns(), 1);
  EXPECT_EQ(sysvIds("sem").count(aiIds[2]), 0u) << "a registered set was left";
  EXPECT_EQ(sysvIds("sem").count(aiIds[3]), 0u) << "a set of a record left in the queue was left";
  EXPECT_EQ(sysvIds("msg").count(aiIds[1]), 0u) << "the queue was left";
  EXPECT_EQ(sysvIds("shm").count(iRegistry), 0u) << "the registry segment was left";
  EXPECT_EQ(sysvIds("sem").count(aiIds[4]), 1u) << "a set the run never registered was removed";
  for (int i : {2, 3, 4}) semctl(aiIds[i], 0, IPC_RMID);
  msgctl(aiIds[1], IPC_RMID, nullptr);
  shmctl(iRegistry, IPC_RMID, nullptr);
}

TEST(omsgsCentre, KeepsRunningWhileMainCannotBeSignalled)
{
  if (geteuid() != 0) GTEST_SKIP() << "needs root to run the centre under another identity";
  TempDir dir;
  ASSERT_EQ(chmod(dir.strPath.c_str(), 0777), 0);
  const std::string strSysprint = dir / "sysprint";
  int iStatus = runChild([&] {
    /* the centre runs as nobody; main returns to root, so kill(main, 0) gives EPERM */
    ASSERT_EQ(setresuid(65534, 65534, 0), 0);
    int iCentre = 0;
    ASSERT_EQ(startMessages(strSysprint.c_str(), nullptr, &iCentre), 0);
    ASSERT_EQ(setresuid(0, 0, 0), 0);
    sleep(3);   /* the centre polls an empty queue several times */
    omsgsFMTEDO("TST0006I STILL SERVED\n");
    EXPECT_EQ(omsgsDestroyModule(iCentre), 0);
  });
  EXPECT_CHILD_OK(iStatus);
  EXPECT_EQ(readFile(strSysprint), "TST0006I STILL SERVED\n");
}

TEST(omsgsCentre, StartFailsWithoutHangingWhenTheCentreCannotMakeItsQueue)
{
  if (geteuid() != 0) GTEST_SKIP() << "needs root for a private IPC namespace";
  int iStatus = runChild([&] {
    /* a private IPC namespace that allows no message queue at all */
    if (unshare(CLONE_NEWIPC) != 0) _exit(77);
    {
      std::ofstream out("/proc/sys/kernel/msgmni");
      out << 0;
    }
    if (readFile("/proc/sys/kernel/msgmni") != "0\n") _exit(77);
    int iCentre = 0;
    EXPECT_EQ(startMessages(nullptr, nullptr, &iCentre), OMSGS_RC_QUEUE);
    EXPECT_EQ(iCentre, -1);
    EXPECT_EQ(gmsgid, -1);
    EXPECT_EQ(omsgsFMTEDO("TST0007I DROPPED\n"), 0);
  });
  if (WIFEXITED(iStatus) && WEXITSTATUS(iStatus) == 77) GTEST_SKIP() << "no private IPC namespace without queues here";
  EXPECT_CHILD_OK(iStatus);
}
