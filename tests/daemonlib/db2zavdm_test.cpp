/*
** db2zavdm_test.cpp
**   The built libdb2zavdm as the network daemon uses it: loaded with
**   dlopen, its entry points looked up by their plain names, set up
**   (configuration, trace list, messages, language), then serving
**   conversations of a loopback client on the test port (ZAV_DAEMON_PORT).
**   The client side is this test's own static copy of the same modules, so
**   the library's state is only what the daemon would see.  Also checks
**   that the library needs nothing but the system, C++ runtime, ICU and
**   OpenSSL libraries.
*/
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <pwd.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <regex>
#include <string>
#include <thread>

#include "common/ochar.h"
#include "io/authkey.h"
#include "model/config.h"
#include "io/socket.h"
#include "tests/zavtest.h"

#ifndef ZAV_DB2ZAVDM_LIBRARY
#error "ZAV_DB2ZAVDM_LIBRARY must name the built libdb2zavdm.so"
#endif

namespace {

/* The entry points the daemon program calls. */
struct DaemonLib {
  void *pHandle = nullptr;
  int (*configVerifyTopzav)(void) = nullptr;
  ochar *(*configReadFileTrace)(void) = nullptr;
  int (*configSetLanguage)(char **, char **) = nullptr;
  int (*omsgsInitModule)(const char *, int, const char *, int, int, ochar *, int, int *, const char *,
                         const char *) = nullptr;
  int (*omsgsInitLanguage)(const char *, const char *) = nullptr;
  int (*omsgsDestroyModule)(void) = nullptr;
  void (*vSOCKETdaemonInit)(void) = nullptr;
  int (*iSOCKETcreate)(const servent *, char **) = nullptr;
  int (*iSOCKETlisten)(int, int, char **) = nullptr;
  int (*iSOCKETaccept)(int, void *, char **) = nullptr;
  int (*iSOCKETdoService)(int, char **) = nullptr;
};

template <typename T>
void lookUp(void *pHandle, T &proc, const char *pcName)
{
  proc = reinterpret_cast<T>(dlsym(pHandle, pcName));
}

void writeText(const std::string &strPath, const std::string &strText)
{
  std::ofstream(strPath, std::ios::binary) << strText;
}

int countOf(const std::string &strText, const std::string &strPiece)
{
  int n = 0;
  for (size_t ul = strText.find(strPiece); ul != std::string::npos; ul = strText.find(strPiece, ul + 1)) n++;
  return n;
}

/* Output of a shell command, or nullopt-like false when it cannot run. */
bool runCommand(const std::string &strCommand, std::string &strOut)
{
  FILE *pfile = popen(strCommand.c_str(), "r");
  if (pfile == nullptr) return false;
  char ac[4096];
  size_t ul;
  strOut.clear();
  while ((ul = std::fread(ac, 1, sizeof ac, pfile)) > 0) strOut.append(ac, ul);
  return pclose(pfile) == 0;
}

/* A TCP port that was free a moment ago. */
int freePort()
{
  int iSocket = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  int iPort = -1;
  if (bind(iSocket, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0 &&
      getsockname(iSocket, reinterpret_cast<sockaddr *>(&addr), &len) == 0)
    iPort = ntohs(addr.sin_port);
  close(iSocket);
  return iPort;
}

/* A raw client connection to the loopback port, or -1. */
int connectLoopback(int iPort)
{
  int iSocket = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons((uint16_t)iPort);
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(iSocket, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
    close(iSocket);
    return -1;
  }
  return iSocket;
}

int waitExit(pid_t pid)
{
  int iStatus = 0;
  if (waitpid(pid, &iStatus, 0) != pid || !WIFEXITED(iStatus)) return -1;
  return WEXITSTATUS(iStatus);
}

class Db2zavdmTest : public ::testing::Test {
 protected:
  static DaemonLib lib;
  static ochar *gpcharTraceList;   /* kept by the daemon for the process's life */
  zavtestTempDir dir;
  std::string strOldCwd;

  static void SetUpTestSuite()
  {
    lib.pHandle = dlopen(ZAV_DB2ZAVDM_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (lib.pHandle == nullptr) return;
    lookUp(lib.pHandle, lib.configVerifyTopzav, "configVerifyTopzav");
    lookUp(lib.pHandle, lib.configReadFileTrace, "configReadFileTrace");
    lookUp(lib.pHandle, lib.configSetLanguage, "configSetLanguage");
    lookUp(lib.pHandle, lib.omsgsInitModule, "omsgsInitModule");
    lookUp(lib.pHandle, lib.omsgsInitLanguage, "omsgsInitLanguage");
    lookUp(lib.pHandle, lib.omsgsDestroyModule, "omsgsDestroyModule");
    lookUp(lib.pHandle, lib.vSOCKETdaemonInit, "vSOCKETdaemonInit");
    lookUp(lib.pHandle, lib.iSOCKETcreate, "iSOCKETcreate");
    lookUp(lib.pHandle, lib.iSOCKETlisten, "iSOCKETlisten");
    lookUp(lib.pHandle, lib.iSOCKETaccept, "iSOCKETaccept");
    lookUp(lib.pHandle, lib.iSOCKETdoService, "iSOCKETdoService");
  }

  void SetUp() override
  {
    ASSERT_NE(lib.pHandle, nullptr) << dlerror();
    ASSERT_FALSE(dir.path.empty());
    char ac[4096];
    ASSERT_NE(getcwd(ac, sizeof ac), nullptr);
    strOldCwd = ac;
    std::filesystem::create_directories(dir.file("top/cfg"));
    std::filesystem::create_directories(dir.file("work"));
    writeText(dir.file("top/cfg/db2zav.cfg"), "languagecode=en\ncountrycode=US\n");
    writeText(dir.file("top/cfg/db2zav.trace"), "$config $tools\n");
    /* the program's catalogue, as an installation holds it */
    std::error_code ec;
    std::filesystem::copy(ZAV_BINARY_DIR "/msg/db2zav", dir.file("top/msg/db2zav"),
                          std::filesystem::copy_options::recursive, ec);
    setenv("TOPZAV", dir.file("top").c_str(), 1);
    unsetenv("LANG");
    setlocale(LC_ALL, "C");
    ASSERT_EQ(chdir(dir.file("work").c_str()), 0);
  }

  void TearDown() override
  {
    if (lib.omsgsDestroyModule != nullptr) lib.omsgsDestroyModule();
    unsetenv("TOPZAV");
    unsetenv(SOCKET_PORT_ENV);
    unsetenv("DB2INSTANCE");
    EXPECT_EQ(chdir(strOldCwd.c_str()), 0);
  }

  /* The daemon's start: TOPZAV, trace list, messages, language. */
  void startDaemon(const std::string &strSysprint)
  {
    ASSERT_EQ(lib.configVerifyTopzav(), 0);
    if (gpcharTraceList == nullptr) gpcharTraceList = lib.configReadFileTrace();
    ASSERT_NE(gpcharTraceList, nullptr);
    ASSERT_EQ(lib.omsgsInitModule(nullptr, 0, strSysprint.c_str(), 0, 0, gpcharTraceList, 0, nullptr, nullptr,
                                  nullptr),
              0);
    char *pcLanguage = nullptr, *pcPath = nullptr;
    ASSERT_EQ(lib.configSetLanguage(&pcLanguage, &pcPath), 0);
    ASSERT_NE(pcPath, nullptr);
    EXPECT_EQ(lib.omsgsInitLanguage(pcPath, pcLanguage), 0);
    std::free(pcLanguage);
    std::free(pcPath);
  }

  /* Has the library report ZORU417E: a language code too long to be a locale. */
  void provokeZORU417E()
  {
    writeText(dir.file("top/cfg/db2zav.cfg"), "languagecode=" + std::string(120, 'q') + "\n");
    setlocale(LC_ALL, "C");
    char *pcLanguage = nullptr, *pcPath = nullptr;
    EXPECT_EQ(lib.configSetLanguage(&pcLanguage, &pcPath), CONFIG_RC_NOCODEPAGE);
    std::free(pcLanguage);
    std::free(pcPath);
    writeText(dir.file("top/cfg/db2zav.cfg"), "languagecode=en\ncountrycode=US\n");
  }
};

DaemonLib Db2zavdmTest::lib;
ochar *Db2zavdmTest::gpcharTraceList = nullptr;

TEST_F(Db2zavdmTest, EntryPointsAndLibrariesNeeded)
{
  EXPECT_NE(lib.configVerifyTopzav, nullptr);
  EXPECT_NE(lib.configReadFileTrace, nullptr);
  EXPECT_NE(lib.configSetLanguage, nullptr);
  EXPECT_NE(lib.omsgsInitModule, nullptr);
  EXPECT_NE(lib.omsgsInitLanguage, nullptr);
  EXPECT_NE(lib.omsgsDestroyModule, nullptr);
  EXPECT_NE(lib.vSOCKETdaemonInit, nullptr);
  EXPECT_NE(lib.iSOCKETcreate, nullptr);
  EXPECT_NE(lib.iSOCKETlisten, nullptr);
  EXPECT_NE(lib.iSOCKETaccept, nullptr);
  EXPECT_NE(lib.iSOCKETdoService, nullptr);

  std::string strOut;
  if (!runCommand(std::string("readelf -d ") + ZAV_DB2ZAVDM_LIBRARY, strOut)) GTEST_SKIP() << "no readelf";
  std::regex reNeeded(R"(\(NEEDED\)\s+Shared library: \[([^\]]+)\])");
  std::regex reAllowed(R"(lib(c|m|dl|rt|pthread|stdc\+\+|gcc_s|icu(uc|i18n|data)|sqlite3|asan|ubsan|crypto|ssl)\.so.*|ld-linux.*)");
  int iNeeded = 0;
  for (std::sregex_iterator it(strOut.begin(), strOut.end(), reNeeded), end; it != end; ++it) {
    iNeeded++;
    EXPECT_TRUE(std::regex_match((*it)[1].str(), reAllowed)) << "needs " << (*it)[1];
  }
  EXPECT_GT(iNeeded, 0);

  /* nothing of the modules left out is expected from the loading process */
  ASSERT_TRUE(runCommand(std::string("nm -DC --undefined-only ") + ZAV_DB2ZAVDM_LIBRARY, strOut));
  std::regex reOurs(R"(\b(ovf|obf|oyacc|zortask|zoratom|db2util|omsgsCentre|config|omsgs|ochar|socket|SQL)[A-Za-z_]*\()");
  std::smatch m;
  EXPECT_FALSE(std::regex_search(strOut, m, reOurs)) << "undefined: " << m.str();
}

/*
** The daemon's own sequence: set-up, a ping served, a conversation that
** breaks off, a message of the configuration module; messages land in the
** sysprint file, traces in the keyword files of the current directory.
*/
TEST_F(Db2zavdmTest, SetUpThenServeLoopbackClients)
{
  std::string strSysprint = dir.file("sysprint");
  /* the instance of the conversations, its key and user (never root) */
  passwd *ppw = getpwuid(geteuid());
  std::string strUser = geteuid() == 0 ? "nobody" : (ppw != nullptr ? ppw->pw_name : "");
  std::filesystem::create_directories(dir.file("home"));
  for (const std::string &str : {dir.path, dir.file("top"), dir.file("top/cfg"), dir.file("home"), dir.file("work")})
    chmod(str.c_str(), 0755);
  writeText(dir.file("top/cfg/db2zav.cfg"), "languagecode=en\ncountrycode=US\ndb2instance=inst1\ninsthomes=inst1:" +
                                                dir.file("home") + "\ninstusers=inst1:" + strUser + "\n");
  std::string strKey, strWhy;
  int boCreated = 0;
  ASSERT_EQ(authkeyCreate("inst1", &strKey, &boCreated, &strWhy), 0) << strWhy;
  setenv("DB2INSTANCE", "inst1", 1);
  startDaemon(strSysprint);

  int iPort = freePort();
  ASSERT_GT(iPort, 0);
  setenv(SOCKET_PORT_ENV, std::to_string(iPort).c_str(), 1);
  char *pcError = nullptr;
  servent *pservent = ptSOCKETgetServiceDescriptor(SOCKET_SERVICE, SOCKET_PROTOCOL, &pcError);
  ASSERT_NE(pservent, nullptr);
  int iListen = lib.iSOCKETcreate(pservent, &pcError);
  ASSERT_GE(iListen, 0) << pcError;
  ASSERT_EQ(lib.iSOCKETlisten(iListen, 5, &pcError), 0);

  /* a ping of this system's client, served as the daemon program serves a
     connection: in a process of its own, which becomes the instance user */
  std::fflush(nullptr);
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    unsigned char aucPeer[16];
    char *pcServiceError = nullptr;
    int iConnection = lib.iSOCKETaccept(iListen, aucPeer, &pcServiceError);
    _exit(iConnection >= 0 && lib.iSOCKETdoService(iConnection, &pcServiceError) == 0 ? 0 : 1);
  }
  char *pcClientError = nullptr;
  EXPECT_EQ(iSOCKETtestDaemon("localhost", &pcClientError), 0) << pcClientError;
  EXPECT_EQ(waitExit(pid), 0);
  unsigned char aucPeer[16];

  /* a client that sends half a header and goes: the service reports it */
  pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    int iSocket = connectLoopback(iPort);
    if (iSocket < 0) _exit(1);
    const unsigned char aucHalf[6] = {0, 0, 0, 12, 0, 0};
    if (send(iSocket, aucHalf, sizeof aucHalf, 0) != (ssize_t)sizeof aucHalf) _exit(2);
    shutdown(iSocket, SHUT_WR);
    char ac[600];
    while (recv(iSocket, ac, sizeof ac, 0) > 0) {
    }
    _exit(0);
  }
  int iConnection = lib.iSOCKETaccept(iListen, aucPeer, &pcError);
  ASSERT_GE(iConnection, 0) << pcError;
  EXPECT_EQ(lib.iSOCKETdoService(iConnection, &pcError), SOCKET_RC_ERROR);
  EXPECT_EQ(waitExit(pid), 0);
  close(iListen);

  provokeZORU417E();
  EXPECT_EQ(lib.omsgsDestroyModule(), 0);

  std::string strListing = zavtestReadText(strSysprint);
  /* reported once: a peer that hung up is not waited for */
  EXPECT_EQ(countOf(strListing, "ZOR0666F FATAL ERROR : Empty socket\n"), 1) << strListing;
  EXPECT_EQ(countOf(strListing, "ZORU417E"), 1) << strListing;

  /* "$CONFIG" and "$TOOLS" were enabled by the trace file: the entries of
     both files are numbered in one sequence from 000000 (the process that
     served the ping went on from the number it was forked with) */
  std::string strConfig = zavtestReadText("$CONFIG");
  std::string strTools = zavtestReadText("$TOOLS");
  EXPECT_TRUE(std::regex_search(strConfig, std::regex("(^|\n)[0-9]{6} configUseItem\\(9\\) = <en>\n")))
      << strConfig;
  EXPECT_TRUE(std::regex_search(strTools, std::regex("(^|\n)[0-9]{6} toolsOpenBFile pcFile\\("))) << strTools;
  std::vector<int> vNumbers;
  std::regex reEntry("(^|\n)([0-9]{6}) ");
  for (const std::string *pstr : {&strConfig, &strTools})
    for (std::sregex_iterator it(pstr->begin(), pstr->end(), reEntry), end; it != end; ++it)
      vNumbers.push_back(std::stoi((*it)[2].str()));
  std::sort(vNumbers.begin(), vNumbers.end());
  vNumbers.erase(std::unique(vNumbers.begin(), vNumbers.end()), vNumbers.end());
  ASSERT_FALSE(vNumbers.empty());
  for (size_t ul = 0; ul < vNumbers.size(); ul++) EXPECT_EQ(vNumbers[ul], (int)ul);
  EXPECT_FALSE(std::filesystem::exists("$LEX"));
}

TEST_F(Db2zavdmTest, WithoutSysprintFileMessagesGoToTheSystemLog)
{
  ASSERT_EQ(lib.omsgsInitModule(nullptr, 0, "/nonexistent-zav/sysprint", 0, 0, nullptr, 0, nullptr, nullptr,
                                nullptr),
            0);
  provokeZORU417E();
  EXPECT_EQ(lib.omsgsDestroyModule(), 0);
  EXPECT_FALSE(std::filesystem::exists("/nonexistent-zav/sysprint"));
}

/* The daemon's detach: the process that returns is a grandchild in a session of its parent's. */
TEST_F(Db2zavdmTest, DaemonInitReturnsInADetachedGrandchild)
{
  std::string strMarker = dir.file("marker");
  pid_t sidTest = getsid(0);
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    pid_t pidChild = getpid();
    lib.vSOCKETdaemonInit();
    /* the grandchild: note what it sees, before opening anything */
    bool boClosed = fcntl(0, F_GETFD) < 0 && fcntl(1, F_GETFD) < 0 && fcntl(2, F_GETFD) < 0;
    mode_t mask = umask(022);
    char ac[128];
    int iLen = std::snprintf(ac, sizeof ac, "%d %d %d %o", getpid() != pidChild ? 1 : 0,
                             getsid(0) != sidTest && getsid(0) != getpid() ? 1 : 0, boClosed ? 1 : 0, (unsigned)mask);
    std::string strTemp = strMarker + ".tmp";
    int iFd = open(strTemp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (iFd >= 0) {
      if (write(iFd, ac, (size_t)iLen) != iLen) {
      }
      close(iFd);
      rename(strTemp.c_str(), strMarker.c_str());
    }
    _exit(0);
  }
  EXPECT_EQ(waitExit(pid), 0);
  for (int i = 0; i < 500 && !std::filesystem::exists(strMarker); i++) usleep(10000);
  EXPECT_EQ(zavtestReadText(strMarker), "1 1 1 22");
}

}  // namespace
