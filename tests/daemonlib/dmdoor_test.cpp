/*
** dmdoor_test.cpp
**   Hostile peers against the built libdb2zavdm, served as the network
**   daemon serves them: the library loaded with dlopen, one process per
**   connection calling its iSOCKETdoService, its messages in a sysprint
**   file.  The peers are this test's own: a relay that sits between the
**   real client and the daemon (records, replays, injects), a peer that
**   trickles its hello, one that hangs up, one that forges log lines, a
**   swapper of a file for a symbolic link, a control file whose container
**   entries climb out of the instance, and a killed conversation.  Each test
**   asserts what the attacker gets: nothing.  The client side is the static
**   copy of the same modules.  Run as root, the daemon serves as nobody.
*/
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <stdio.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/obyte.h"
#include "io/authkey.h"
#include "io/socket.h"
#include "tests/zavtest.h"
#include "tools/db2spcs.h"

#ifndef ZAV_DB2ZAVDM_LIBRARY
#error "ZAV_DB2ZAVDM_LIBRARY must name the built libdb2zavdm.so"
#endif

namespace fs = std::filesystem;

namespace {

/* The entry points the daemon program calls. */
struct DaemonLib {
  void *pHandle = nullptr;
  int (*configVerifyTopzav)(void) = nullptr;
  int (*omsgsInitModule)(const char *, int, const char *, int, int, void *, int, int *, const char *,
                         const char *) = nullptr;
  int (*iSOCKETcreate)(const servent *, char **) = nullptr;
  int (*iSOCKETlisten)(int, int, char **) = nullptr;
  int (*iSOCKETaccept)(int, void *, char **) = nullptr;
  int (*iSOCKETdoService)(int, char **) = nullptr;
};
DaemonLib glib;

template <typename T>
void lookUp(T &proc, const char *pcName)
{
  proc = reinterpret_cast<T>(dlsym(glib.pHandle, pcName));
}

std::string UserServed()
{
  passwd *ppw = getpwuid(geteuid());
  return geteuid() == 0 ? "nobody" : (ppw != nullptr ? ppw->pw_name : "");
}

/* A message as it travels. */
std::string Msg(uint32_t ulCode, const std::string &strPayload = "", uint32_t ulVersion = SOCKET_VERSION)
{
  std::string str(12, '\0');
  unsigned char *puc = reinterpret_cast<unsigned char *>(str.data());
  obytePutBE32(puc, static_cast<uint32_t>(12 + strPayload.size()));
  obytePutBE32(puc + 4, ulVersion);
  obytePutBE32(puc + 8, ulCode);
  return str + strPayload;
}

std::string Text(uint32_t ulCode, const std::string &str)
{
  return Msg(ulCode, str + '\0');
}

int ConnectLoopback(int iPort)
{
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(iPort));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

/* Everything the peer sends until it closes (10 s at most), as raw bytes. */
std::string Drain(int fd)
{
  timeval tv{10, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  std::string str;
  char ac[4096];
  ssize_t l;
  while ((l = recv(fd, ac, sizeof ac, 0)) > 0) str.append(ac, static_cast<size_t>(l));
  return str;
}

int CountOf(const std::string &strText, const std::string &strPiece)
{
  int n = 0;
  for (size_t ul = strText.find(strPiece); ul != std::string::npos; ul = strText.find(strPiece, ul + 1)) n++;
  return n;
}

bool Gone(pid_t pid)
{
  for (int i = 0; i < 1000; i++) {
    if (kill(pid, 0) != 0 && errno == ESRCH) return true;
    usleep(10000);
  }
  return false;
}

/* True when the process ends within 10 s (a zombie that its new parent has
   not reaped yet counts as ended). */
bool Ended(pid_t pid)
{
  for (int i = 0; i < 1000; i++) {
    std::string str = zavtestReadText("/proc/" + std::to_string(pid) + "/stat");
    size_t ul = str.rfind(')');
    if (str.empty() || (ul != std::string::npos && ul + 2 < str.size() && str[ul + 2] == 'Z')) return true;
    usleep(10000);
  }
  return false;
}

/*
** A relay on a loopback port between the client and the daemon, as a
** listener that took the client's way to the daemon would be: it forwards
** both ways and records every byte; on demand it then sends the daemon a
** copy of the client's last TLS application record (a replay) or a request
** of its own in clear (an injection).
*/
class Relay {
 public:
  enum Attack { kNone = 0, kReplay = 1, kClear = 2 };

  explicit Relay(int iDaemonPort) : iDaemonPort_(iDaemonPort)
  {
    iListen_ = zavtestListen("127.0.0.1", 4, &iPort_);
    EXPECT_GE(iListen_, 0);
    thread_ = std::thread([this] { Run(); });
  }
  ~Relay()
  {
    boStop_ = true;
    thread_.join();
    close(iListen_);
  }
  int Port() const { return iPort_; }
  /* Has the relay attack now; returns when the bytes went to the daemon. */
  bool Attack(int iAttack, const std::string &strClear = "")
  {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      strClear_ = strClear;
    }
    iAttack_ = iAttack;
    for (int i = 0; i < 1000 && !boAttacked_; i++) usleep(10000);
    return boAttacked_;
  }
  /* All it saw, both ways. */
  std::string Seen()
  {
    std::lock_guard<std::mutex> lock(mutex_);
    return strToDaemon_ + strToClient_;
  }

 private:
  void Run()
  {
    pollfd pfdListen{iListen_, POLLIN, 0};
    while (!boStop_ && poll(&pfdListen, 1, 50) == 0) {
    }
    if (boStop_) return;
    int iClient = accept(iListen_, nullptr, nullptr);
    int iDaemon = ConnectLoopback(iDaemonPort_);
    if (iClient < 0 || iDaemon < 0) return;
    size_t ulParsed = 0;
    bool boHelloSkipped = false;
    std::string strLastRecord;
    bool boClientOpen = true, boDaemonOpen = true;
    while (!boStop_ && (boClientOpen || boDaemonOpen)) {
      if (iAttack_ != kNone && !boAttacked_) {
        std::string str;
        {
          std::lock_guard<std::mutex> lock(mutex_);
          str = iAttack_ == kReplay ? strLastRecord : strClear_;
        }
        if (!str.empty() && send(iDaemon, str.data(), str.size(), MSG_NOSIGNAL) >= 0) boAttacked_ = true;
      }
      pollfd apfd[2] = {{boClientOpen ? iClient : -1, POLLIN, 0}, {boDaemonOpen ? iDaemon : -1, POLLIN, 0}};
      if (poll(apfd, 2, 50) <= 0) continue;
      char ac[65536];
      for (int i = 0; i < 2; i++) {
        if (apfd[i].revents == 0) continue;
        int iFrom = i == 0 ? iClient : iDaemon, iTo = i == 0 ? iDaemon : iClient;
        ssize_t l = recv(iFrom, ac, sizeof ac, 0);
        if (l <= 0) {
          (i == 0 ? boClientOpen : boDaemonOpen) = false;
          shutdown(iTo, SHUT_WR);
          continue;
        }
        send(iTo, ac, static_cast<size_t>(l), MSG_NOSIGNAL);
        std::lock_guard<std::mutex> lock(mutex_);
        if (i == 1) {
          strToClient_.append(ac, static_cast<size_t>(l));
          continue;
        }
        strToDaemon_.append(ac, static_cast<size_t>(l));
        /* the client's stream: the hello in clear, then TLS records */
        const unsigned char *puc = reinterpret_cast<const unsigned char *>(strToDaemon_.data());
        if (!boHelloSkipped && strToDaemon_.size() >= 12 && strToDaemon_.size() >= obyteGetBE32(puc)) {
          ulParsed = obyteGetBE32(puc);
          boHelloSkipped = true;
        }
        while (boHelloSkipped && ulParsed + 5 <= strToDaemon_.size()) {
          size_t ulRecord = 5 + obyteGetBE16(puc + ulParsed + 3);
          if (ulParsed + ulRecord > strToDaemon_.size()) break;
          if (puc[ulParsed] == 0x17) strLastRecord = strToDaemon_.substr(ulParsed, ulRecord);
          ulParsed += ulRecord;
        }
      }
    }
    close(iClient);
    close(iDaemon);
  }

  int iDaemonPort_, iListen_ = -1, iPort_ = 0;
  std::thread thread_;
  std::atomic<bool> boStop_{false}, boAttacked_{false};
  std::atomic<int> iAttack_{kNone};
  std::mutex mutex_;
  std::string strToDaemon_, strToClient_, strClear_;
};

/*
** One instance, inst1, with its key, its database tree (where a table-space
** control file and a container lie), a file outside it, a fake db2zav that
** tells what it was given and where it runs, and a daemon program serving
** each connection in a process of its own, with daemontimeout=2.
*/
class DaemonDoor : public ::testing::Test {
 protected:
  zavtestTempDir dir;
  std::string strTop, strTree, strDbDir, strSecret, strSysprint, strMarker;
  pid_t pidDaemon = -1;
  int iPort = 0;
  int iPids = -1;   /* the daemon writes the pid of each served connection here */

  static void SetUpTestSuite()
  {
    glib.pHandle = dlopen(ZAV_DB2ZAVDM_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (glib.pHandle == nullptr) return;
    lookUp(glib.configVerifyTopzav, "configVerifyTopzav");
    lookUp(glib.omsgsInitModule, "omsgsInitModule");
    lookUp(glib.iSOCKETcreate, "iSOCKETcreate");
    lookUp(glib.iSOCKETlisten, "iSOCKETlisten");
    lookUp(glib.iSOCKETaccept, "iSOCKETaccept");
    lookUp(glib.iSOCKETdoService, "iSOCKETdoService");
  }

  void SetUp() override
  {
    ASSERT_NE(glib.pHandle, nullptr) << dlerror();
    ASSERT_NE(glib.iSOCKETdoService, nullptr);
    strTop = dir.file("top");
    strTree = dir.file("db/inst1");
    strDbDir = strTree + "/NODE0000/SQL00001";
    strSecret = dir.file("outside/secret");
    strSysprint = dir.file("sysprint");
    strMarker = dir.file("outside/run");
    for (const std::string &str : {strTop + "/cfg", strTop + "/bin", dir.file("home"), strDbDir, dir.file("outside")})
      fs::create_directories(str);
    std::ofstream(strTop + "/cfg/db2zav.cfg") << "db2instance=inst1\ninsthomes=inst1:" << dir.file("home")
                                              << "\ninstusers=inst1:" << UserServed() << "\ndbpaths=inst1:"
                                              << dir.file("db") << "\ndaemontimeout=2\n";
    std::ofstream(strTree + "/pages") << "inside " << std::string(4096, 'i');
    std::ofstream(strTree + "/container") << "TOPSECRET-CONTAINER-BYTES " << std::string(4096, 'c');
    std::ofstream(strSecret) << "OUTSIDE-SECRET";
    std::ofstream(strTop + "/bin/db2zav")
        << "#!/bin/sh\n"
           "printf 'pw:%s\\n' \"$ZAV_PASSWORD\"\n"
           "printf 'cwd:%s\\n' \"$PWD\"\n"
           "fds() { for f in /proc/$$/fd/*; do readlink \"$f\"; done; }\n"
           "printf 'sockets:%s\\n' \"$(fds | grep -c '^socket:')\"\n"
           "printf 'devnull:%s\\n' \"$(fds | grep -c '^/dev/null$')\"\n"
           "for a; do [ \"$p\" = -f ] && f=$a; p=$a; done\n"
           "if grep -q SLEEP \"$f\"; then echo \"$PWD $$\" > "
        << strMarker << ".tmp && mv " << strMarker << ".tmp " << strMarker
        << "; exec sleep 60; fi\n"
           "exit 3\n";
    chmod((strTop + "/bin/db2zav").c_str(), 0755);
    chmod(dir.path.c_str(), 0755);
    for (auto &entry : fs::recursive_directory_iterator(dir.path))
      chmod(entry.path().c_str(), entry.is_directory() || entry.path().filename() == "db2zav" ? 0755 : 0644);
    chmod(strMarker.substr(0, strMarker.rfind('/')).c_str(), 0777);   /* the run writes its marker there */
    setenv("TOPZAV", strTop.c_str(), 1);
    setenv("DB2INSTANCE", "inst1", 1);
    std::string strPath, strWhy;
    int boCreated = 0;
    ASSERT_EQ(authkeyCreate("inst1", &strPath, &boCreated, &strWhy), 0) << strWhy;
    StartDaemon();
  }

  void TearDown() override
  {
    if (pidDaemon > 0) {
      kill(-pidDaemon, SIGKILL);
      waitpid(pidDaemon, nullptr, 0);
    }
    if (iPids >= 0) close(iPids);
    unsetenv(SOCKET_PORT_ENV);
    unsetenv("TOPZAV");
    unsetenv("DB2INSTANCE");
  }

  void StartDaemon()
  {
    servent se{};
    char acProto[] = "tcp";
    se.s_proto = acProto;
    char *pcErr = nullptr;
    int iListen = glib.iSOCKETcreate(&se, &pcErr);
    ASSERT_GE(iListen, 0) << pcErr;
    ASSERT_EQ(glib.iSOCKETlisten(iListen, 16, &pcErr), 0);
    sockaddr_in addr{};
    socklen_t len = sizeof addr;
    getsockname(iListen, reinterpret_cast<sockaddr *>(&addr), &len);
    iPort = ntohs(addr.sin_port);
    setenv(SOCKET_PORT_ENV, std::to_string(iPort).c_str(), 1);
    int aiPipe[2];
    ASSERT_EQ(pipe2(aiPipe, O_CLOEXEC), 0);
    std::fflush(nullptr);
    pidDaemon = fork();
    if (pidDaemon == 0) {
      setpgid(0, 0);
      alarm(120);
      signal(SIGCHLD, SIG_IGN);   /* served connections are reaped by the system */
      close(aiPipe[0]);
      if (glib.configVerifyTopzav() != 0 ||
          glib.omsgsInitModule(nullptr, 0, strSysprint.c_str(), 0, 0, nullptr, 0, nullptr, nullptr, nullptr) != 0)
        _exit(1);
      for (;;) {
        unsigned char aucAddress[16];
        int fd = glib.iSOCKETaccept(iListen, aucAddress, &pcErr);
        if (fd < 0) continue;
        pid_t pid = fork();
        if (pid == 0) {
          close(iListen);
          close(aiPipe[1]);
          _exit(glib.iSOCKETdoService(fd, &pcErr));
        }
        if (write(aiPipe[1], &pid, sizeof pid) != sizeof pid) _exit(2);
        close(fd);
      }
    }
    setpgid(pidDaemon, pidDaemon);
    close(aiPipe[1]);
    close(iListen);
    iPids = aiPipe[0];
  }

  /* The pid of the next connection the daemon served, or -1. */
  pid_t ServedPid()
  {
    pollfd pfd{iPids, POLLIN, 0};
    pid_t pid = -1;
    if (poll(&pfd, 1, 10000) <= 0 || read(iPids, &pid, sizeof pid) != sizeof pid) return -1;
    return pid;
  }

  /* The daemon's messages so far. */
  std::string Sysprint() { return zavtestReadText(strSysprint); }
};

/*
** A relay the client reaches instead of the daemon forwards the handshake
** (it cannot take part in it: no key), then sends the daemon a replayed
** record of the client, or a request of its own in clear.  The daemon ends
** the conversation without serving it; what the relay saw, both ways, holds
** neither the file's bytes nor the path; the client's next read fails
** instead of seeming to succeed.
*/
TEST_F(DaemonDoor, RelayReadsNothingAndCannotInject)
{
  for (int iAttack : {Relay::kReplay, Relay::kClear}) {
    Relay relay(iPort);
    setenv(SOCKET_PORT_ENV, std::to_string(relay.Port()).c_str(), 1);
    char *pcErr = nullptr;
    int64_t ilSize = 0;
    std::string strContainer = strTree + "/container";
    int fd = iSOCKETopenFile("127.0.0.1", UserServed().c_str(), strContainer.c_str(), &ilSize, &pcErr);
    ASSERT_GE(fd, 0) << pcErr;
    pid_t pidServed = ServedPid();
    ASSERT_TRUE(relay.Attack(iAttack, Text(SOCKET_RQ_OPEN, strContainer) + Msg(SOCKET_RQ_READ, std::string(8, '\0'))));
    EXPECT_TRUE(Gone(pidServed)) << iAttack;          /* the daemon ended the conversation */
    std::vector<char> buf(4096);
    EXPECT_EQ(iSOCKETreadFile(fd, 0, 4096, buf.data(), &pcErr), -1) << iAttack;
    iSOCKETcloseFile(fd, &pcErr);
    std::string strSeen = relay.Seen();
    EXPECT_EQ(strSeen.find("TOPSECRET"), std::string::npos) << iAttack;
    EXPECT_EQ(strSeen.find(strContainer), std::string::npos) << iAttack;
    setenv(SOCKET_PORT_ENV, std::to_string(iPort).c_str(), 1);
  }
  std::string strLog = Sysprint();
  EXPECT_EQ(CountOf(strLog, "ZOR0667E CONNECTION FROM 127.0.0.1 REFUSED: TLS: "), 2) << strLog;
}

/* The password of a shipped run and the control file cross inside the TLS:
   a relay sees neither, the run gets both. */
TEST_F(DaemonDoor, PasswordAndControlFileNeverCrossInClear)
{
  Relay relay(iPort);
  setenv(SOCKET_PORT_ENV, std::to_string(relay.Port()).c_str(), 1);
  char *pcErr = nullptr;
  int fd = iSOCKETsaveFile("127.0.0.1", "UNLOAD TABLESPACE MARKER-OF-THE-CONTROL-FILE;\n", &pcErr);
  ASSERT_GE(fd, 0) << pcErr;
  int iRc = -1;
  std::vector<std::string> v =
      zavtestMessages([&] { iRc = iSOCKETexecCmdLocal(fd, "-d SAMPLE -u bob -p s3cr3t-pw", &pcErr); });
  EXPECT_EQ(iRc, 3) << pcErr;
  ASSERT_GE(v.size(), 4u);
  EXPECT_EQ(v[0], "pw:s3cr3t-pw\n");
  /* the run works in the conversation's private directory, with nothing of the daemon open */
  EXPECT_EQ(v[1].rfind("cwd:/tmp/zav", 0), 0u) << v[1];
  EXPECT_EQ(v[2], "sockets:0\n");
  EXPECT_EQ(v[3], "devnull:1\n");   /* its standard input only */
  std::string strPrivate = v[1].substr(4, v[1].size() - 5);
  for (int i = 0; i < 1000 && fs::exists(strPrivate); i++) usleep(10000);   /* the daemon ends after the END */
  EXPECT_FALSE(fs::exists(strPrivate)) << "the private directory stayed";
  std::string strSeen = relay.Seen();
  EXPECT_EQ(strSeen.find("s3cr3t"), std::string::npos);
  EXPECT_EQ(strSeen.find("MARKER-OF-THE"), std::string::npos);
  EXPECT_EQ(strSeen.find("pw:"), std::string::npos);
}

/* A peer that sends its hello one byte every 400 ms, never silent for the
   daemon's 2 s, is dropped all the same and is told why. */
TEST_F(DaemonDoor, TricklingPeerIsDropped)
{
  int fd = ConnectLoopback(iPort);
  ASSERT_GE(fd, 0);
  std::string strHello = Text(SOCKET_RQ_HELLO, "inst1");
  size_t ulSent = 0;
  for (; ulSent < strHello.size(); ulSent++) {
    pollfd pfd{fd, POLLIN, 0};
    if (poll(&pfd, 1, 400) > 0) break;   /* the daemon spoke */
    if (send(fd, strHello.data() + ulSent, 1, MSG_NOSIGNAL) != 1) break;
  }
  EXPECT_LT(ulSent, strHello.size()) << "the daemon waited for the whole trickled hello";
  std::string strReply = Drain(fd);
  close(fd);
  EXPECT_NE(strReply.find("Peer stalled: no complete message within the time limit"), std::string::npos) << strReply;
  EXPECT_TRUE(Gone(ServedPid()));
  EXPECT_EQ(CountOf(Sysprint(), "REFUSED: Peer stalled"), 1) << Sysprint();
}

/* A peer that hangs up in the middle of its hello: the served process ends
   at once, after one report, instead of retrying the empty receive. */
TEST_F(DaemonDoor, ClosedPeerEndsTheConversationAtOnce)
{
  int fd = ConnectLoopback(iPort);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(send(fd, Text(SOCKET_RQ_HELLO, "inst1").data(), 5, MSG_NOSIGNAL), 5);
  close(fd);
  EXPECT_TRUE(Gone(ServedPid()));
  EXPECT_EQ(CountOf(Sysprint(), "ZOR0666F FATAL ERROR : Empty socket\n"), 1) << Sysprint();
}

/* Newlines in what a peer sends (its hello, a user name, a path) cannot
   forge a line of the daemon's messages: they are written as \x0A. */
TEST_F(DaemonDoor, PeerTextsCannotForgeALogLine)
{
  const std::string strForged = "\nZOR0667E CONNECTION FROM 10.6.6.6 REFUSED: nothing at all";
  int fd = ConnectLoopback(iPort);
  ASSERT_GE(fd, 0);
  std::string strHello = Text(SOCKET_RQ_HELLO, "inst1" + strForged);
  ASSERT_EQ(send(fd, strHello.data(), strHello.size(), MSG_NOSIGNAL), static_cast<ssize_t>(strHello.size()));
  EXPECT_NE(Drain(fd).find("Authentication failed"), std::string::npos);
  close(fd);
  /* and after the handshake, through the real client */
  char *pcErr = nullptr;
  int64_t ilBlocks = 0;
  EXPECT_EQ(iSOCKETexistFile("127.0.0.1", ("bob" + strForged).c_str(), "/x", 1, &ilBlocks, &pcErr), -2);
  EXPECT_EQ(iSOCKETexistFile("127.0.0.1", UserServed().c_str(), (strTree + strForged).c_str(), 1, &ilBlocks, &pcErr),
            -2);
  for (int i = 0; i < 3; i++) EXPECT_TRUE(Gone(ServedPid()));
  std::string strLog = Sysprint();
  EXPECT_EQ(CountOf(strLog, "\\x0AZOR0667E CONNECTION FROM 10.6.6.6 REFUSED: nothing at all"), 3) << strLog;
  /* three lines, each the daemon's own: none begins with the forged text */
  EXPECT_EQ(CountOf(strLog, "\n"), 3) << strLog;
  size_t ulStart = 0;
  for (size_t ulEnd; (ulEnd = strLog.find('\n', ulStart)) != std::string::npos; ulStart = ulEnd + 1)
    EXPECT_EQ(strLog.compare(ulStart, 38, "ZOR0667E CONNECTION FROM 127.0.0.1 REF"), 0)
        << strLog.substr(ulStart, ulEnd - ulStart);
}

/*
** A file of the tree swapped, as fast as it goes, with a symbolic link to a
** file outside it, while the real client opens and reads it 80 times (a
** daemon that checked the path and then opened it by name read the outside
** file in about one try of eight): the daemon opens beneath the tree
** without following links, so each try gives the inside file or "Path not
** allowed", never the outside one.
*/
TEST_F(DaemonDoor, SymlinkSwapNeverReadsOutside)
{
  std::string strSwap = strTree + "/swap", strOther = strTree + ".other";
  std::ofstream(strSwap) << "inside";
  chmod(strSwap.c_str(), 0644);
  ASSERT_EQ(symlink(strSecret.c_str(), strOther.c_str()), 0);
  std::fflush(nullptr);
  pid_t pidSwapper = fork();
  if (pidSwapper == 0) {
    alarm(60);
    for (;;) {
      renameat2(AT_FDCWD, strSwap.c_str(), AT_FDCWD, strOther.c_str(), RENAME_EXCHANGE);
      usleep(20);   /* leave the lookups of the daemon a chance */
    }
  }
  int iInside = 0, iRefused = 0, iOutside = 0;
  for (int i = 0; i < 80; i++) {
    char *pcErr = nullptr;
    int64_t ilSize = 0;
    int fd = iSOCKETopenFile("127.0.0.1", UserServed().c_str(), strSwap.c_str(), &ilSize, &pcErr);
    if (fd < 0) {
      iRefused++;
      continue;
    }
    char ac[14] = {0};
    if (iSOCKETreadFile(fd, 0, 6, ac, &pcErr) == 6) (std::string(ac, 6) == "inside" ? iInside : iOutside)++;
    iSOCKETcloseFile(fd, &pcErr);
  }
  kill(pidSwapper, SIGKILL);
  waitpid(pidSwapper, nullptr, 0);
  EXPECT_EQ(iOutside, 0) << iInside << " inside, " << iRefused << " refused";
  EXPECT_GT(iInside + iRefused, 0);
  EXPECT_EQ(Sysprint().find("OUTSIDE-SECRET"), std::string::npos);
}

/* A table-space control file of the instance whose container entries climb
   out of the tree or name the system grants nothing; a sound entry outside
   the tree still does. */
TEST_F(DaemonDoor, ContainerEntriesCannotOpenTheSystem)
{
  db2spcsTablespace ts;
  ts.sId = 2;
  ts.strName = "EVIL";
  for (const std::string &str : {std::string("../../../../../../../../../.."), std::string("/"), std::string("/etc"),
                                 strSecret})
    ts.vContainers.push_back({str, 0, 0, 0, 4096});
  ASSERT_TRUE(db2spcsWriteFile(strDbDir + "/SQLSPCS.1", {ts}));
  chmod((strDbDir + "/SQLSPCS.1").c_str(), 0644);
  struct Case {
    std::string strPath;
    bool        boAllowed;
  };
  std::vector<Case> cases = {{"/etc/passwd", false}, {"/etc/hostname", false}, {"/", false},
                             {strDbDir + "/../../../../../../../../../../etc/passwd", false}, {strSecret, true}};
  for (const Case &c : cases) {
    char *pcErr = nullptr;
    int64_t ilSize = 0;
    int fd = iSOCKETopenFile("127.0.0.1", UserServed().c_str(), c.strPath.c_str(), &ilSize, &pcErr);
    if (c.boAllowed) {
      EXPECT_GE(fd, 0) << c.strPath << ": " << pcErr;
      char ac[14] = {0};
      EXPECT_EQ(iSOCKETreadFile(fd, 0, 14, ac, &pcErr), 14);
      EXPECT_EQ(std::string(ac, 14), "OUTSIDE-SECRET");
      iSOCKETcloseFile(fd, &pcErr);
    } else {
      EXPECT_EQ(fd, -1) << c.strPath;
      EXPECT_EQ(std::string(pcErr), "ZOR0666F Path not allowed") << c.strPath;
    }
  }
}

/* A conversation killed with SIGKILL while its run goes on leaves no
   private directory (its cleaner removes it) and no run: the run ends as
   it does when its client goes away. */
TEST_F(DaemonDoor, KilledConversationLeavesNoPrivateDirectoryNorRun)
{
  int fd = ConnectLoopback(iPort);
  ASSERT_GE(fd, 0);
  std::string strHello = Text(SOCKET_RQ_HELLO, "inst1");
  ASSERT_EQ(send(fd, strHello.data(), strHello.size(), MSG_NOSIGNAL), static_cast<ssize_t>(strHello.size()));
  zor3socketMessage msg;
  char *pcErr = nullptr;
  ASSERT_EQ(_iSOCKETread(fd, &msg, &pcErr), 0) << pcErr;
  std::free(msg.pcPayload);
  unsigned char aucKey[AUTHKEY_SIZE];
  std::string strWhy;
  ASSERT_EQ(authkeyLoad("inst1", aucKey, &strWhy), 0) << strWhy;
  ASSERT_EQ(_iSOCKETstartTls(fd, 0, "inst1", aucKey, &pcErr), 0) << pcErr;
  pid_t pidServed = ServedPid();
  for (const std::string &str : {Text(SOCKET_RQ_SAVE, "SLEEP\n"), Text(SOCKET_RQ_RUN, "")})
    ASSERT_EQ(_iSOCKETsend(fd, str.data(), str.size(), &pcErr), 0) << pcErr;
  for (int i = 0; i < 1000 && !fs::exists(strMarker); i++) usleep(10000);
  std::string strRun = zavtestReadText(strMarker);
  ASSERT_FALSE(strRun.empty());
  std::string strPrivate = strRun.substr(0, strRun.find(' '));
  pid_t pidRun = static_cast<pid_t>(std::stol(strRun.substr(strRun.find(' ') + 1)));
  EXPECT_EQ(strPrivate.rfind("/tmp/zav", 0), 0u) << strPrivate;
  EXPECT_TRUE(fs::exists(strPrivate));
  kill(pidServed, SIGKILL);
  bool boRemoved = false;
  for (int i = 0; i < 1000 && !boRemoved; i++) {
    boRemoved = !fs::exists(strPrivate);
    if (!boRemoved) usleep(10000);
  }
  EXPECT_TRUE(Ended(pidRun)) << "the run went on after its conversation was killed";
  kill(pidRun, SIGKILL);
  vSOCKETclose(fd);
  EXPECT_TRUE(boRemoved) << strPrivate << " stayed";
}

}  // namespace
