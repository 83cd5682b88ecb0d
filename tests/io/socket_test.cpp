/*
** socket_test.cpp
**   The daemon conversation end to end over loopback: a real service side in
**   a forked child (iSOCKETcreate, iSOCKETlisten, iSOCKETaccept,
**   iSOCKETdoService) against the real client operations, fake peers that
**   send malformed or truncated messages in both directions (inside the TLS
**   once it is up, through _iSOCKETsend and _iSOCKETread), and the message
**   reader and error reply on socket pairs.  Every child is reaped, every
**   file and directory made here is removed.
*/
#include "io/socket.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <netdb.h>
#include <netinet/in.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <poll.h>
#include <pwd.h>
#include <string>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "common/obyte.h"
#include "io/authkey.h"
#include "tests/zavtest.h"
#include "tools/db2spcs.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<unsigned char>;

/*
** The instance every conversation of these tests belongs to: an
** installation (TOPZAV) whose configuration names instance inst1, its home
** with the key file, its user (nobody when the tests run as root, since a
** daemon never serves as root) and its database path, under which the
** scratch directories of the tests lie.
*/
struct TestInstance {
  std::string strBase, strTop, strHome, strDb, strUser;
  std::string strTopShort;   /* the same installation with daemontimeout=2, for daemons only */
  std::string strTopOther;   /* the same with another instance home, which holds another key */
};
TestInstance gInst;

class InstanceEnv : public ::testing::Environment {
 public:
  void SetUp() override
  {
    char ac[] = "/tmp/sockinstXXXXXX";
    ASSERT_NE(mkdtemp(ac), nullptr);
    gInst.strBase = ac;
    chmod(ac, 0755);
    gInst.strTop = gInst.strBase + "/top";
    gInst.strTopShort = gInst.strBase + "/topshort";
    gInst.strTopOther = gInst.strBase + "/topother";
    gInst.strHome = gInst.strBase + "/home";
    gInst.strDb = gInst.strBase + "/db";
    for (const std::string &str : {gInst.strTop + "/cfg", gInst.strTop + "/bin", gInst.strTopShort + "/cfg",
                                   gInst.strTopOther + "/cfg", gInst.strHome + "/sqllib", gInst.strHome + "/other",
                                   gInst.strDb + "/inst1"})
      fs::create_directories(str);
    for (auto &entry : fs::recursive_directory_iterator(gInst.strBase)) chmod(entry.path().c_str(), 0755);
    passwd *ppw = getpwuid(geteuid());
    gInst.strUser = geteuid() == 0 ? "nobody" : (ppw != nullptr ? ppw->pw_name : "");
    WriteConfig("");
    setenv("DB2INSTANCE", "inst1", 1);
    std::string strPath, strWhy;
    int boCreated = 0;
    setenv("TOPZAV", gInst.strTopOther.c_str(), 1);
    ASSERT_EQ(authkeyCreate("inst1", &strPath, &boCreated, &strWhy), 0) << strWhy;
    setenv("TOPZAV", gInst.strTop.c_str(), 1);
    ASSERT_EQ(authkeyCreate("inst1", &strPath, &boCreated, &strWhy), 0) << strWhy;
  }
  void TearDown() override
  {
    std::error_code ec;
    fs::remove_all(gInst.strBase, ec);
  }
  /* The configuration, with strMore appended; the short one has a time limit of 2 s. */
  static void WriteConfig(const std::string &strMore)
  {
    for (const std::string &strTop : {gInst.strTop, gInst.strTopShort, gInst.strTopOther})
      std::ofstream(strTop + "/cfg/db2zav.cfg")
          << "db2instance=inst1\ninsthomes=inst1:" << gInst.strHome << (strTop == gInst.strTopOther ? "/other" : "")
          << "\ninstusers=inst1:" << gInst.strUser << "\ndbpaths=inst1:" << gInst.strDb << "\n"
          << (strTop == gInst.strTopShort ? "daemontimeout=2\n" : "") << strMore;
  }
};
::testing::Environment *const gpenvInstance = ::testing::AddGlobalTestEnvironment(new InstanceEnv);

/* The key of inst1, as its file holds it. */
std::vector<unsigned char> Key()
{
  std::vector<unsigned char> v(AUTHKEY_SIZE);
  std::string strWhy;
  EXPECT_EQ(authkeyLoad("inst1", v.data(), &strWhy), 0) << strWhy;
  return v;
}

/* A message as it travels: header, then the words, then the raw bytes. */
Bytes Msg(uint32_t ulCode, std::initializer_list<uint32_t> words = {}, const std::string &str = "",
          uint32_t ulVersion = SOCKET_VERSION, int64_t ilTotal = -1)
{
  Bytes v(12 + 4 * words.size() + str.size());
  obytePutBE32(v.data(), ilTotal >= 0 ? static_cast<uint32_t>(ilTotal) : static_cast<uint32_t>(v.size()));
  obytePutBE32(v.data() + 4, ulVersion);
  obytePutBE32(v.data() + 8, ulCode);
  size_t ul = 12;
  for (uint32_t w : words) {
    obytePutBE32(v.data() + ul, w);
    ul += 4;
  }
  std::memcpy(v.data() + ul, str.data(), str.size());
  return v;
}

/* A text request: the text and its NUL. */
Bytes Text(uint32_t ulCode, const std::string &str, std::initializer_list<uint32_t> words = {})
{
  return Msg(ulCode, words, std::string(str) + '\0');
}

/* Sends bytes as they are, inside the TLS once it is up. */
void SendRaw(int fd, const Bytes &v)
{
  char *pcErr = nullptr;
  ASSERT_EQ(_iSOCKETsend(fd, v.data(), v.size(), &pcErr), 0) << pcErr;
}

/* Reads exactly n bytes of the socket itself (10 s at most); fewer when the peer closes. */
Bytes RecvRaw(int fd, size_t n)
{
  timeval tv{10, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof(tv));
  Bytes v(n);
  size_t ulGot = 0;
  while (ulGot < n) {
    ssize_t l = recv(fd, v.data() + ulGot, n - ulGot, 0);
    if (l <= 0) break;
    ulGot += static_cast<size_t>(l);
  }
  v.resize(ulGot);
  return v;
}

struct Reply {
  uint32_t    ulCode = 0;      /* 0: nothing could be read */
  std::string strPayload;
};

/* One message, through the module's reader (inside the TLS once it is up). */
Reply ReadReply(int fd)
{
  Reply reply;
  zor3socketMessage msg;
  char *pcErr = nullptr;
  if (_iSOCKETread(fd, &msg, &pcErr) != 0) return reply;
  reply.ulCode = msg.ulCode;
  if (msg.pcPayload != nullptr) reply.strPayload.assign(msg.pcPayload, msg.ulLength);
  std::free(msg.pcPayload);
  return reply;
}

/* The next reply that is not a 502 of a run that goes on. */
Reply ReadReplyOfRun(int fd)
{
  Reply reply;
  while ((reply = ReadReply(fd)).ulCode == SOCKET_RP_RUNNING) {
  }
  return reply;
}

/* True when the peer closes the connection within 10 s (whatever it sends before). */
bool PeerClosed(int fd)
{
  timeval tv{10, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof(tv));
  int iFlags = fcntl(fd, F_GETFL);
  fcntl(fd, F_SETFL, iFlags & ~O_NONBLOCK);
  unsigned char auc[512];
  ssize_t l;
  while ((l = recv(fd, auc, sizeof auc, 0)) > 0) {
  }
  return l == 0 || (l < 0 && errno == ECONNRESET);
}

std::string Error(const char *pc)
{
  return std::string(SOCKET_ERROR_ID) + " " + pc;
}

/* Listening socket on an ephemeral port, made as the daemon makes it. */
int Listen(int *piPort)
{
  servent se{};
  char acProto[] = "tcp";
  se.s_port = 0;
  se.s_proto = acProto;
  char *pcErr = nullptr;
  int fd = iSOCKETcreate(&se, &pcErr);
  EXPECT_GE(fd, 0) << pcErr;
  EXPECT_EQ(iSOCKETlisten(fd, 8, &pcErr), 0) << pcErr;
  sockaddr_in addr{};
  socklen_t len = sizeof(addr);
  getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len);
  *piPort = ntohs(addr.sin_port);
  return fd;
}

/* Raw client connection to 127.0.0.1:port. */
int Connect(int iPort)
{
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(iPort));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof(addr)), 0);
  return fd;
}

/* Result of Authenticate when the clear part went well and the TLS failed. */
constexpr uint32_t kulTlsFailed = 1;

/*
** The client's handshake on a raw connection: the hello of strHello in
** clear, then the TLS with pucKey for strTls (the same instance unless a
** test says otherwise).  Returns SOCKET_RP_DONE when both went through, the
** code of the clear reply when it was not 501, kulTlsFailed when the TLS
** failed (*pstrError: its text).
*/
uint32_t Authenticate(int fd, const std::vector<unsigned char> &key, const std::string &strHello = "inst1",
                      std::string strTls = "", std::string *pstrError = nullptr)
{
  if (strTls.empty()) strTls = strHello;
  SendRaw(fd, Text(SOCKET_RQ_HELLO, strHello));
  Reply reply = ReadReply(fd);
  if (pstrError != nullptr) *pstrError = reply.strPayload;
  if (reply.ulCode != SOCKET_RP_DONE) return reply.ulCode;
  char *pcErr = nullptr;
  if (_iSOCKETstartTls(fd, 0, strTls.c_str(), key.data(), &pcErr) != 0) {
    if (pstrError != nullptr) *pstrError = pcErr;
    return kulTlsFailed;
  }
  return SOCKET_RP_DONE;
}

/* A raw connection that has proved the instance secret. */
int ConnectAuth(int iPort)
{
  int fd = Connect(iPort);
  EXPECT_EQ(Authenticate(fd, Key()), static_cast<uint32_t>(SOCKET_RP_DONE));
  return fd;
}

/* A fake daemon's side of the handshake, done right.  Returns true when
   the client proved the key. */
bool FakeAuth(int fd)
{
  zor3socketMessage msg;
  char *pcErr = nullptr;
  if (_iSOCKETread(fd, &msg, &pcErr) != 0 || msg.ulCode != SOCKET_RQ_HELLO) return false;
  std::string strInstance = msg.pcPayload != nullptr ? msg.pcPayload : "";
  std::free(msg.pcPayload);
  SendRaw(fd, Msg(SOCKET_RP_DONE));
  return _iSOCKETstartTls(fd, 1, strInstance.c_str(), Key().data(), &pcErr) == 0;
}

/*
** A forked peer: accepts iConversations connections one after the other and
** hands each to fn, whose result goes back through a pipe.  The client
** operations find it through ZAV_DAEMON_PORT.
*/
class Peer {
 public:
  /* strTop: the installation the peer reads its configuration from (the tests' by default). */
  Peer(int iConversations, std::function<int(int)> fn, const std::string &strTop = "")
  {
    int iListen = Listen(&iPort_);
    setenv(SOCKET_PORT_ENV, std::to_string(iPort_).c_str(), 1);
    int aiPipe[2];
    EXPECT_EQ(pipe(aiPipe), 0);
    pid_ = fork();
    if (pid_ == 0) {
      close(aiPipe[0]);
      alarm(60);                               /* never outlive a stuck test */
      if (!strTop.empty()) setenv("TOPZAV", strTop.c_str(), 1);
      for (int i = 0; i < iConversations; i++) {
        unsigned char aucAddress[16];
        char *pcErr = nullptr;
        int fd = iSOCKETaccept(iListen, aucAddress, &pcErr);
        int iRc = fd < 0 ? -100 : fn(fd);
        if (write(aiPipe[1], &iRc, sizeof(iRc)) != sizeof(iRc)) break;
      }
      _exit(0);
    }
    close(aiPipe[1]);
    close(iListen);
    iPipe_ = aiPipe[0];
  }
  ~Peer()
  {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (iPipe_ >= 0) close(iPipe_);
    unsetenv(SOCKET_PORT_ENV);
  }
  int Port() const { return iPort_; }
  pid_t Pid() const { return pid_; }
  /* Waits for the peer to end; the results of its conversations. */
  std::vector<int> Results()
  {
    std::vector<int> v;
    int iRc;
    while (read(iPipe_, &iRc, sizeof(iRc)) == sizeof(iRc)) v.push_back(iRc);
    int iStatus = 0;
    waitpid(pid_, &iStatus, 0);
    pid_ = -1;
    EXPECT_TRUE(WIFEXITED(iStatus)) << "peer status " << iStatus;
    return v;
  }

 private:
  pid_t pid_ = -1;
  int   iPort_ = 0;
  int   iPipe_ = -1;
};

/* The real service side. */
int Serve(int fd)
{
  char *pcErr = nullptr;
  return iSOCKETdoService(fd, &pcErr);
}

/* The user the daemon serves as. */
std::string CurrentUser()
{
  return gInst.strUser;
}

/* A private scratch directory removed with its contents. */
class Scratch {
 public:
  /* Under the instance's database tree by default: the daemon serves it. */
  explicit Scratch(bool boInstance = true)
  {
    std::string str = (boInstance ? gInst.strDb + "/inst1" : std::string("/tmp")) + "/socktestXXXXXX";
    std::vector<char> v(str.begin(), str.end());
    v.push_back('\0');
    path_ = mkdtemp(v.data());
    chmod(path_.c_str(), 0755);
  }
  ~Scratch()
  {
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, ec);
    for (auto &entry : fs::recursive_directory_iterator(path_, ec))
      fs::permissions(entry.path(), fs::perms::owner_all, ec);
    fs::remove_all(path_, ec);
  }
  std::string File(const std::string &strName, const std::string &strText) const
  {
    std::string str = path_ + "/" + strName;
    fs::create_directories(fs::path(str).parent_path());
    FILE *pf = fopen(str.c_str(), "w");
    fwrite(strText.data(), 1, strText.size(), pf);
    fclose(pf);
    return str;
  }
  const std::string &Path() const { return path_; }

 private:
  std::string path_;
};

const char *kpcHost = "127.0.0.1";

/* ================================================================ client */

TEST(SocketClient, TestDaemonPingsAndEndsTheConversation)
{
  Peer peer(1, Serve);
  char *pcErr = nullptr;
  EXPECT_EQ(iSOCKETtestDaemon(kpcHost, &pcErr), 0) << pcErr;
  EXPECT_STREQ(pcErr, "");
  EXPECT_EQ(peer.Results(), std::vector<int>{0});
}

TEST(SocketClient, HostWithoutDaemonIsRefused)
{
  int iPort = 0;
  close(Listen(&iPort));                     /* a port nobody listens on */
  setenv(SOCKET_PORT_ENV, std::to_string(iPort).c_str(), 1);
  char *pcErr = nullptr;
  EXPECT_EQ(iSOCKETtestDaemon(kpcHost, &pcErr), -1);
  EXPECT_STREQ(pcErr, strerror(ECONNREFUSED));
  int64_t ilBlocks = 0;
  EXPECT_EQ(iSOCKETexistFile(kpcHost, "u", "/p", 1, &ilBlocks, &pcErr), -2);
  EXPECT_EQ(ilBlocks, -1);
  int64_t ilSize = 0;
  EXPECT_EQ(iSOCKETopenFile(kpcHost, "u", "/p", &ilSize, &pcErr), -1);
  EXPECT_EQ(ilSize, -1);
  EXPECT_EQ(iSOCKETsaveFile(kpcHost, "text", &pcErr), -1);
  unsetenv(SOCKET_PORT_ENV);
}

TEST(SocketClient, UnknownHostAndServiceTimeOut)
{
  char *pcErr = nullptr;
  EXPECT_EQ(ptSOCKETgetHostDescriptor("no-such-host.invalid", &pcErr), nullptr);
  EXPECT_STREQ(pcErr, "host timeout( no-such-host.invalid, 5 sec.)");
  EXPECT_EQ(ptSOCKETgetHostDescriptor(std::string(200, 'h').c_str(), &pcErr), nullptr);
  EXPECT_NE(ptSOCKETgetHostDescriptor(nullptr, &pcErr), nullptr);   /* the local host */

  unsetenv(SOCKET_PORT_ENV);
  if (getservbyname(SOCKET_SERVICE, SOCKET_PROTOCOL) != nullptr)
    GTEST_SKIP() << "service " SOCKET_SERVICE " is registered on this machine";
  EXPECT_EQ(iSOCKETtestDaemon(kpcHost, &pcErr), -1);
  EXPECT_STREQ(pcErr, "services timeout ( db2zavdm, 5 sec.)");
}

TEST(SocketClient, PortOverrideOnlyAnswersTheDaemonService)
{
  char *pcErr = nullptr;
  setenv(SOCKET_PORT_ENV, "4711", 1);
  servent *pse = ptSOCKETgetServiceDescriptor(SOCKET_SERVICE, SOCKET_PROTOCOL, &pcErr);
  ASSERT_NE(pse, nullptr);
  EXPECT_EQ(ntohs(static_cast<uint16_t>(pse->s_port)), 4711);
  EXPECT_STREQ(pse->s_proto, "tcp");
  pse = ptSOCKETgetServiceDescriptor("ssh", "tcp", &pcErr);   /* from the services database */
  if (pse != nullptr) {
    EXPECT_EQ(ntohs(static_cast<uint16_t>(pse->s_port)), 22);
  }
  unsetenv(SOCKET_PORT_ENV);
}

TEST(SocketClient, ExistFileReportsStatusAndBlocks)
{
  Scratch scratch;
  std::string strFile = scratch.File("data", std::string(10000, 'x'));
  std::string strLocked = scratch.File("locked", "secret");
  chmod(strLocked.c_str(), 0);

  struct Case {
    std::string strPath;
    uint32_t    ulBlockSize;
    int         iStatus;
    int64_t     ilBlocks;
  };
  std::vector<Case> cases = {
      {strFile, 4096, 0, 2},
      {strFile, 1, 0, 10000},
      {strFile, 0, 0, 0},                           /* no block size: no count, no crash */
      {scratch.Path() + "/missing", 4096, -1, 0},
  };
  cases.push_back({strLocked, 4096, -2, 0});   /* the daemon serves as the instance user, never root */
  cases.push_back({strFile + "/below", 4096, -1, 0});   /* a file taken for a directory: no such file */
  /* a file that is there but cannot be opened (a socket: ENXIO) is no absent file */
  std::string strSocket = scratch.Path() + "/socket";
  int iUnix = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un addrUnix{};
  addrUnix.sun_family = AF_UNIX;
  std::snprintf(addrUnix.sun_path, sizeof addrUnix.sun_path, "%s", strSocket.c_str());
  ASSERT_EQ(bind(iUnix, reinterpret_cast<sockaddr *>(&addrUnix), sizeof addrUnix), 0) << strSocket;
  chmod(strSocket.c_str(), 0666);
  cases.push_back({strSocket, 4096, -2, 0});
  Peer peer(static_cast<int>(cases.size()), Serve);
  for (const Case &c : cases) {
    char *pcErr = nullptr;
    int64_t ilBlocks = 99;
    EXPECT_EQ(iSOCKETexistFile(kpcHost, CurrentUser().c_str(), c.strPath.c_str(), c.ulBlockSize, &ilBlocks, &pcErr),
              c.iStatus)
        << c.strPath << " " << pcErr;
    EXPECT_EQ(ilBlocks, c.ilBlocks) << c.strPath;
  }
  EXPECT_EQ(peer.Results(), std::vector<int>(cases.size(), 0));
  close(iUnix);
}

/*
** A daemon that fails in the course of a request 6: hangs up after the
** user change or without answering the question, or answers without a
** status.  None of it passes for an absent file (-1), which a reader would
** take for a container file without pages; the daemon's own answer stands
** when the end of the conversation can no longer be sent.
*/
TEST(SocketClient, ExistFileFailuresAreNeverAnAbsentFile)
{
  struct Case {
    const char *pcName;
    int         iReplies;   /* replies sent before hanging up: 0 none, 1 the user change, 2 both */
    Bytes       answer;     /* the answer to the question */
    int         iStatus;
  };
  std::vector<Case> cases = {
      {"hangs up before the user change", 0, {}, -2},
      {"hangs up after the user change", 1, {}, -2},
      {"answers without a status", 2, Msg(SOCKET_RP_DONE), -2},
      {"answers with a line", 2, Msg(SOCKET_RP_LINE, {}, "x"), -2},
      {"says absent, then hangs up", 2, Msg(SOCKET_RP_DONE, {static_cast<uint32_t>(-1), 0}), -1},
      {"says readable, then hangs up", 2, Msg(SOCKET_RP_DONE, {0, 3}), 0},
  };
  for (const Case &c : cases) {
    Peer peer(1, [&](int fd) {
      zor3socketMessage msg;
      char *pcErr = nullptr;
      if (!FakeAuth(fd)) return 1;
      for (int i = 0; i < c.iReplies; i++) {
        if (_iSOCKETread(fd, &msg, &pcErr) != 0) return 2;
        std::free(msg.pcPayload);
        SendRaw(fd, i == 0 ? Msg(SOCKET_RP_DONE) : c.answer);
      }
      if (c.iReplies == 0 && _iSOCKETread(fd, &msg, &pcErr) == 0) std::free(msg.pcPayload);
      vSOCKETclose(fd);
      return 0;
    });
    char *pcErr = nullptr;
    int64_t ilBlocks = 0;
    EXPECT_EQ(iSOCKETexistFile(kpcHost, "u", "/p", 1, &ilBlocks, &pcErr), c.iStatus) << c.pcName;
    EXPECT_EQ(peer.Results(), std::vector<int>{0}) << c.pcName;
  }
}

TEST(SocketClient, OpenReadSeekAndCloseAFile)
{
  Scratch scratch;
  std::string strPages;
  for (int i = 0; i < 3; i++) strPages += std::string(4096, static_cast<char>('a' + i));
  for (int i = 0; i < 4096 * 3; i += 97) strPages[i] = static_cast<char>('0' + i % 10);
  std::string strFile = scratch.File("pages", strPages);

  Peer peer(1, Serve);
  char *pcErr = nullptr;
  int64_t ilSize = 0;
  int fd = iSOCKETopenFile(kpcHost, CurrentUser().c_str(), strFile.c_str(), &ilSize, &pcErr);
  ASSERT_GE(fd, 0) << pcErr;
  EXPECT_EQ(ilSize, 3 * 4096);

  std::vector<char> buf(4096);
  auto page = [&](int i) { return strPages.substr(static_cast<size_t>(i) * 4096, 4096); };
  auto text = [&](int n) { return std::string(buf.data(), static_cast<size_t>(n)); };
  EXPECT_EQ(iSOCKETreadFile(fd, 1, 4096, buf.data(), &pcErr), 4096);
  EXPECT_EQ(text(4096), page(1));
  EXPECT_EQ(iSOCKETreadFile(fd, -1, 4096, buf.data(), &pcErr), 4096);     /* next page */
  EXPECT_EQ(text(4096), page(2));
  EXPECT_EQ(iSOCKETreadFile(fd, 0, 4096, buf.data(), &pcErr), 4096);
  EXPECT_EQ(iSOCKETlseekFile(fd, 0, 4096, 0, &pcErr), 0);                 /* no move */
  EXPECT_EQ(iSOCKETreadFile(fd, -1, 4096, buf.data(), &pcErr), 4096);
  EXPECT_EQ(text(4096), page(1));
  EXPECT_EQ(iSOCKETlseekFile(fd, 2, 4096, 10, &pcErr), 0);                /* 2 * 4096 + 10 */
  EXPECT_EQ(iSOCKETreadFile(fd, -1, 16, buf.data(), &pcErr), 16);
  EXPECT_EQ(text(16), strPages.substr(8202, 16));
  EXPECT_EQ(iSOCKETreadFile(fd, 200, 100, buf.data(), &pcErr), 100);      /* past the end: zeros */
  EXPECT_EQ(text(100), std::string(100, '\0'));
  EXPECT_EQ(iSOCKETreadFile(fd, 0, SOCKET_MAX_READ + 1, buf.data(), &pcErr), -1);   /* refused before sending */
  EXPECT_EQ(iSOCKETlseekFile(fd, -1, 4096, -5, &pcErr), 0);               /* nothing positive: no move */
  EXPECT_EQ(iSOCKETlseekFile(fd, 1, -4096, 0, &pcErr), -1);               /* negative position */
  EXPECT_EQ(std::string(pcErr), Error("lseek into file error"));
  EXPECT_EQ(iSOCKETreadFile(fd, 2, 8, buf.data(), &pcErr), 8);            /* the conversation goes on: 2 * 8 */
  EXPECT_EQ(text(8), strPages.substr(16, 8));
  EXPECT_EQ(iSOCKETcloseFile(fd, &pcErr), 0) << pcErr;
  EXPECT_EQ(peer.Results(), std::vector<int>{0});
}

TEST(SocketClient, OpenFileGivesA64BitSize)
{
  Scratch scratch;
  std::string strFile = scratch.File("big", "");
  if (truncate(strFile.c_str(), 5LL << 30) != 0) GTEST_SKIP() << "no sparse 5 GB file here: " << strerror(errno);
  Peer peer(2, Serve);
  char *pcErr = nullptr;
  int64_t ilSize = 0;
  int fd = iSOCKETopenFile(kpcHost, CurrentUser().c_str(), strFile.c_str(), &ilSize, &pcErr);
  ASSERT_GE(fd, 0) << pcErr;
  EXPECT_EQ(ilSize, 5LL << 30);
  EXPECT_EQ(ilSize >> 32, 1);
  std::vector<char> buf(4096, 'x');
  EXPECT_EQ(iSOCKETreadFile(fd, (4LL << 30) / 4096 + 1, 4096, buf.data(), &pcErr), 4096);  /* beyond 4 GB */
  EXPECT_EQ(std::string(buf.data(), 4096), std::string(4096, '\0'));
  EXPECT_EQ(iSOCKETcloseFile(fd, &pcErr), 0);
  int64_t ilBlocks = 0;
  EXPECT_EQ(iSOCKETexistFile(kpcHost, CurrentUser().c_str(), strFile.c_str(), 4096, &ilBlocks, &pcErr), 0);
  EXPECT_EQ(ilBlocks, (5LL << 30) / 4096);
  EXPECT_EQ(peer.Results(), (std::vector<int>{0, 0}));
}

TEST(SocketClient, OpenFileFailuresEndTheConversation)
{
  Scratch scratch;
  struct Case {
    std::string strUser, strPath, strError;
  };
  std::vector<Case> cases = {
      {CurrentUser(), scratch.Path() + "/missing", Error("Cant find file size")},
      {"zav-no-such-user", scratch.Path(), Error("User not allowed")},
      {"root", scratch.Path(), Error("User not allowed")},
      {CurrentUser(), "/etc/passwd", Error("Path not allowed")},
  };
  std::string strLocked = scratch.File("locked", "x");
  chmod(strLocked.c_str(), 0);
  cases.push_back({CurrentUser(), strLocked, Error("Cant open file")});

  Peer peer(static_cast<int>(cases.size()), Serve);
  for (const Case &c : cases) {
    char *pcErr = nullptr;
    int64_t ilSize = 0;
    EXPECT_EQ(iSOCKETopenFile(kpcHost, c.strUser.c_str(), c.strPath.c_str(), &ilSize, &pcErr), -1);
    EXPECT_EQ(std::string(pcErr), c.strError);
    EXPECT_EQ(ilSize, -1);
  }
  EXPECT_EQ(peer.Results(), std::vector<int>(cases.size(), SOCKET_RC_ERROR));
}

TEST(SocketClient, ChangeUserThenExist)
{
  Scratch scratch;
  std::string strFile = scratch.File("f", "abc");
  Peer peer(2, Serve);
  char *pcErr = nullptr;
  int64_t ilBlocks = 0;
  EXPECT_EQ(iSOCKETexistFile(kpcHost, CurrentUser().c_str(), strFile.c_str(), 1, &ilBlocks, &pcErr), 0) << pcErr;
  EXPECT_EQ(ilBlocks, 3);
  EXPECT_EQ(iSOCKETexistFile(kpcHost, "zav-no-such-user", strFile.c_str(), 1, &ilBlocks, &pcErr), -2);
  EXPECT_EQ(std::string(pcErr), Error("User not allowed"));
  EXPECT_EQ(peer.Results(), (std::vector<int>{0, SOCKET_RC_ERROR}));
}

/* Whatever the daemon runs as, it serves as the instance user: root and
   users the configuration does not list are refused, and a file only root
   may read stays closed. */
TEST(SocketClient, RootAndUnlistedUsersAreRefused)
{
  Scratch scratch;
  std::string strLocked = scratch.File("locked", "secret");
  chmod(strLocked.c_str(), 0600);
  std::string strFile = scratch.File("open", "x");
  std::vector<std::string> vUsers = {"root", "daemon", "zav-no-such-user"};
  Peer peer(static_cast<int>(vUsers.size()) + 1, Serve);
  for (const std::string &strUser : vUsers) {
    char *pcErr = nullptr;
    int64_t ilBlocks = 0;
    EXPECT_EQ(iSOCKETexistFile(kpcHost, strUser.c_str(), strFile.c_str(), 1, &ilBlocks, &pcErr), -2) << strUser;
    EXPECT_EQ(std::string(pcErr), Error("User not allowed")) << strUser;
  }
  char *pcErr = nullptr;
  int64_t ilBlocks = 0;
  if (geteuid() == 0)
    EXPECT_EQ(iSOCKETexistFile(kpcHost, CurrentUser().c_str(), strLocked.c_str(), 1, &ilBlocks, &pcErr), -2) << pcErr;
  else
    EXPECT_EQ(iSOCKETexistFile(kpcHost, CurrentUser().c_str(), strLocked.c_str(), 1, &ilBlocks, &pcErr), 0) << pcErr;
  EXPECT_EQ(peer.Results(), (std::vector<int>{SOCKET_RC_ERROR, SOCKET_RC_ERROR, SOCKET_RC_ERROR, 0}));
}

/* An installation whose db2zav prints its arguments and its control file. */
class FakeInstall {
 public:
  FakeInstall()
  {
    strScript_ = gInst.strTop + "/bin/db2zav";
    std::ofstream(strScript_) << "#!/bin/sh\n"
                               "printf 'pw:%s\\n' \"$ZAV_PASSWORD\" >&2\n"
                               "f=\n"
                               "for a in \"$@\"; do\n"
                               "  printf 'arg:%s\\n' \"$a\" >&2\n"
                               "  [ \"$p\" = -f ] && f=$a\n"
                               "  p=$a\n"
                               "done\n"
                               "[ -n \"$f\" ] && stat -c 'mode:%a' \"${f%/*}\" \"$f\" >&2\n"
                               "[ -n \"$f\" ] && cat \"$f\" >&2\n"
                               "exit 3\n";
    chmod(strScript_.c_str(), 0755);
  }
  ~FakeInstall() { unlink(strScript_.c_str()); }
  const Scratch &Dir() const { return scratch_; }

 private:
  Scratch     scratch_;
  std::string strScript_;
};

/* Lines of the run: "arg:" lines without the private file names, the rest as is. */
std::vector<std::string> Lines(const std::vector<std::string> &v, std::string *pstrControl)
{
  std::vector<std::string> out;
  std::string strPrevious;
  for (const std::string &str : v) {
    if (strPrevious == "arg:-f\n") *pstrControl = str.substr(4, str.size() - 5);
    bool boPrivate = strPrevious == "arg:-m\n" || strPrevious == "arg:-o\n" || strPrevious == "arg:-f\n";
    out.push_back(boPrivate ? "arg:<private>\n" : str);
    strPrevious = str;
  }
  return out;
}

TEST(SocketClient, SaveAndRunShipsTheRequest)
{
  FakeInstall install;
  Scratch scratch(false);
  std::string strMarker = scratch.Path() + "/pwned";
  Peer peer(1, Serve);
  char *pcErr = nullptr;
  int fd = iSOCKETsaveFile(kpcHost, "UNLOAD TABLESPACE\nSELECT * FROM T;\n", &pcErr);
  ASSERT_GE(fd, 0) << pcErr;
  /* values reach the program as words of their own, never through a shell;
     the password travels in the run's environment, not on its command line */
  std::string strArgs = " -d it's;touch${IFS}" + strMarker + " -u $(touch --threads " + strMarker +
                        ") -p s3cret -n --part=1,2";
  int iRc = 99;
  std::vector<std::string> v = zavtestMessages([&] { iRc = iSOCKETexecCmdLocal(fd, strArgs.c_str(), &pcErr); });
  EXPECT_EQ(iRc, 3) << pcErr;                      /* the run's own exit status */
  std::string strControl;
  EXPECT_EQ(Lines(v, &strControl),
            (std::vector<std::string>{"pw:s3cret\n", "arg:-m\n", "arg:<private>\n", "arg:-i\n", "arg:inst1\n",
                                      "arg:-d\n", "arg:it's;touch${IFS}" + strMarker + "\n", "arg:-u\n",
                                      "arg:$(touch\n", "arg:--threads\n", "arg:" + strMarker + ")\n", "arg:-n\n",
                                      "arg:--part\n", "arg:1,2\n", "arg:-f\n", "arg:<private>\n", "arg:-o\n",
                                      "arg:<private>\n", "mode:700\n", "mode:600\n",   /* private directory and file */
                                      "UNLOAD TABLESPACE\n", "SELECT * FROM T;\n"}));
  EXPECT_EQ(peer.Results(), std::vector<int>{0});
  EXPECT_FALSE(fs::exists(strMarker)) << "an argument reached a shell";
  ASSERT_FALSE(strControl.empty());
  EXPECT_EQ(strControl.rfind("/tmp/zav", 0), 0u) << strControl;
  EXPECT_FALSE(fs::exists(fs::path(strControl).parent_path())) << "the conversation's files stayed";
}

/* Run arguments that would name a file of the daemon's host, change the
   identity or leave the instance are refused before anything runs. */
TEST(SocketClient, RunArgumentsOutsideTheAllowedOptionsAreRefused)
{
  FakeInstall install;
  struct Case {
    std::string strArgs, strError;
  };
  std::vector<Case> cases = {
      {"-m /tmp/zavmsg", "Option -m is not allowed in a remote run"},
      {"-d SAMPLE --identity root", "Option --identity is not allowed in a remote run"},
      {"-o /etc/cron.d/x", "Option -o is not allowed in a remote run"},
      {"-f /etc/shadow", "Option -f is not allowed in a remote run"},
      {"--nodescfg /etc/passwd", "Option --nodescfg is not allowed in a remote run"},
      {"--message=/tmp/x", "Option --message=/tmp/x is not allowed in a remote run"},
      {"-mx", "Option -mx is not allowed in a remote run"},
      {"-i inst2", "Instance inst2 is not the instance of the conversation"},
      {"-d SAMPLE stray", "Argument stray is not allowed in a remote run"},
      {"-u", "Option -u requires a value"},
  };
  Peer peer(static_cast<int>(cases.size()), Serve);
  for (const Case &c : cases) {
    char *pcErr = nullptr;
    int fd = iSOCKETsaveFile(kpcHost, "x", &pcErr);
    ASSERT_GE(fd, 0) << pcErr;
    std::vector<std::string> v = zavtestMessages([&] { EXPECT_EQ(iSOCKETexecCmdLocal(fd, c.strArgs.c_str(), &pcErr), -1); });
    EXPECT_EQ(std::string(pcErr), Error(c.strError.c_str())) << c.strArgs;
    EXPECT_TRUE(v.empty()) << c.strArgs << ": the program ran";
  }
  EXPECT_EQ(peer.Results(), std::vector<int>(cases.size(), SOCKET_RC_ERROR));
}

TEST(SocketClient, RunFailuresAreReported)
{
  char *pcErr = nullptr;
  {
    FakeInstall install;
    Peer peer(1, Serve);
    int fd = iSOCKETsaveFile(kpcHost, "x", &pcErr);
    ASSERT_GE(fd, 0) << pcErr;
    EXPECT_EQ(iSOCKETexecCmdLocal(fd, std::string(SOCKET_MAX_TEXT + 1, 'a').c_str(), &pcErr), -1);
    EXPECT_EQ(peer.Results(), std::vector<int>{0});     /* the daemon saw the connection close */
  }
  /* A control file that does not fit in one message is refused before connecting. */
  EXPECT_EQ(iSOCKETsaveFile(kpcHost, std::string(SOCKET_MAX_FILE + 1, 'x').c_str(), &pcErr), -1);
  EXPECT_STREQ(pcErr, "");
}

/* ============================================ service side, raw requests */

TEST(SocketService, SaveAndRunConvertBetweenUTF8AndTheLocale)
{
  FakeInstall install;
  Peer peer(1, Serve);
  int fd = ConnectAuth(peer.Port());
  SendRaw(fd, Text(SOCKET_RQ_SAVEUTF8, "caf\xC3\xA9\n"));
  EXPECT_EQ(ReadReply(fd).ulCode, static_cast<uint32_t>(SOCKET_RP_DONE));
  for (uint32_t ulCode : {SOCKET_RQ_RUN, SOCKET_RQ_RUNUTF8}) {
    SendRaw(fd, Text(ulCode, ""));
    std::vector<std::string> vLines;
    Reply reply;
    while ((reply = ReadReplyOfRun(fd)).ulCode == SOCKET_RP_LINE) vLines.push_back(reply.strPayload);
    EXPECT_EQ(reply.ulCode, static_cast<uint32_t>(SOCKET_RP_DONE));
    EXPECT_EQ(reply.strPayload, std::string("\0\0\0\3", 4));   /* the run's exit status */
    ASSERT_FALSE(vLines.empty());
    EXPECT_EQ(vLines.back(), ulCode == SOCKET_RQ_RUN ? "caf\x82" : "caf\xC3\xA9");   /* CCSID 850 locally */
  }
  SendRaw(fd, Msg(SOCKET_RQ_END));
  EXPECT_TRUE(PeerClosed(fd));
  vSOCKETclose(fd);
  EXPECT_EQ(peer.Results(), std::vector<int>{0});
}

TEST(SocketService, PartitionListOfTheInstance)
{
  std::string strNodes = gInst.strHome + "/sqllib/db2nodes.cfg";
  std::ofstream(strNodes) << "0 hosta 0\n  1 hostb.example.com 1  \n2 hostc 0";
  char acHost[256];
  gethostname(acHost, sizeof(acHost));
  std::string strHost(acHost, strcspn(acHost, "."));

  Peer peer(1, Serve);
  int fd = ConnectAuth(peer.Port());
  auto list = [&](const std::string &strInstance) {
    SendRaw(fd, Text(SOCKET_RQ_NODES, strInstance));
    std::vector<std::string> v;
    Reply reply;
    while ((reply = ReadReply(fd)).ulCode == SOCKET_RP_LINE) v.push_back(reply.strPayload);
    v.push_back(std::to_string(reply.ulCode) + " " + reply.strPayload);
    return v;
  };
  EXPECT_EQ(list("inst1"), (std::vector<std::string>{"0 hosta 0", "1 hostb.example.com 1", "2 hostc 0", "501 "}));
  unlink(strNodes.c_str());
  EXPECT_EQ(list("inst1"), (std::vector<std::string>{"0 " + strHost + " 0", "501 "}));
  /* another instance's list is not given to a peer of this one */
  EXPECT_EQ(list("inst2"), (std::vector<std::string>{"666 " + Error("Bad Configuration file")}));
  SendRaw(fd, Msg(SOCKET_RQ_ACK));                       /* the conversation goes on */
  EXPECT_EQ(ReadReply(fd).ulCode, static_cast<uint32_t>(SOCKET_RP_DONE));
  SendRaw(fd, Msg(SOCKET_RQ_END));
  vSOCKETclose(fd);
  EXPECT_EQ(peer.Results(), std::vector<int>{0});
}

/* Malformed requests: each is answered by an error reply, then the daemon hangs up. */
TEST(SocketService, MalformedRequestsEndTheConversation)
{
  struct Case {
    const char *pcName;
    Bytes       request;
    std::string strError;
    bool        boAuthenticate = true;
  };
  Bytes truncatedPayload = Msg(SOCKET_RQ_SAVE, {}, std::string(40, 'x'));
  truncatedPayload.resize(30);
  Bytes truncatedHeader = Msg(SOCKET_RQ_PING);
  truncatedHeader.resize(5);
  std::vector<Case> cases = {
      {"older version", Msg(SOCKET_RQ_HELLO, {}, std::string("inst1") + '\0', 211),
       Error("Client/Server Uncompatible Versions"), false},
      {"older version after authentication", Msg(SOCKET_RQ_PING, {}, "", 211), Error("Client/Server Uncompatible Versions")},
      {"total below 12", Msg(SOCKET_RQ_PING, {}, "", SOCKET_VERSION, 8), Error("Bad Request, invalid size"), false},
      {"huge total", Msg(SOCKET_RQ_PING, {}, "", SOCKET_VERSION, 0x7FFFFFFF), Error("Bad Request, invalid size")},
      {"undefined code", Msg(16), Error("Bad Request")},
      {"over-long path", Text(SOCKET_RQ_OPEN, "/" + std::string(1999, 'p')), Error("Bad Request, invalid size")},
      {"over-long path of 6", Text(SOCKET_RQ_EXIST, "/" + std::string(SOCKET_MAX_PATH6, 'p'), {1}),
       Error("Bad Request, invalid size")},
      {"read without words", Msg(SOCKET_RQ_READ, {4096}), Error("Bad Request")},
      {"read too large", Msg(SOCKET_RQ_READ, {SOCKET_MAX_READ + 1, 0}), Error("Bad Request, invalid size")},
      {"read without a file", Msg(SOCKET_RQ_READ, {16, 0}), Error("lseek into file error")},
      {"seek without words", Msg(SOCKET_RQ_SEEK, {1, 2}), Error("Bad Request")},
      {"exist without words", Msg(SOCKET_RQ_EXIST, {}, "ab"), Error("Bad Request")},
      {"close without a file", Msg(SOCKET_RQ_CLOSE), Error("Cant close file")},
      {"truncated payload", truncatedPayload, Error("Error receive unterminated request"), false},
      {"truncated header", truncatedHeader, Error("Error receive empty request")},
  };
  Peer peer(static_cast<int>(cases.size()), Serve);
  for (const Case &c : cases) {
    int fd = c.boAuthenticate ? ConnectAuth(peer.Port()) : Connect(peer.Port());
    SendRaw(fd, c.request);
    shutdown(fd, SHUT_WR);
    Reply reply = ReadReply(fd);
    EXPECT_EQ(reply.ulCode, static_cast<uint32_t>(SOCKET_RP_ERROR)) << c.pcName;
    EXPECT_EQ(reply.strPayload, c.strError) << c.pcName;
    EXPECT_TRUE(PeerClosed(fd)) << c.pcName;
    vSOCKETclose(fd);
  }
  EXPECT_EQ(peer.Results(), std::vector<int>(cases.size(), SOCKET_RC_ERROR));
}

TEST(SocketService, AcknowledgeAndPingAnswerDone)
{
  Peer peer(1, Serve);
  int fd = ConnectAuth(peer.Port());
  for (uint32_t ulCode : {SOCKET_RQ_ACK, SOCKET_RQ_PING}) {
    SendRaw(fd, Msg(ulCode));
    Reply reply = ReadReply(fd);
    EXPECT_EQ(reply.ulCode, static_cast<uint32_t>(SOCKET_RP_DONE));
    EXPECT_EQ(reply.strPayload, "");
  }
  SendRaw(fd, Msg(SOCKET_RQ_END));
  EXPECT_TRUE(PeerClosed(fd));
  vSOCKETclose(fd);
  EXPECT_EQ(peer.Results(), std::vector<int>{0});
}

/* Nothing is served before the peer has proved the instance secret: every
   request kind sent first gets the same refusal in clear and the daemon
   hangs up; a hello for an instance the daemon cannot serve is refused in
   clear; a TLS with another key, or with the key of another instance,
   fails and nothing is served. */
TEST(SocketService, UnauthenticatedOrWrongKeyPeersGetOnlyARefusal)
{
  Scratch scratch;
  std::string strFile = scratch.File("data", "secret data");
  std::vector<Bytes> vRequests = {
      Msg(SOCKET_RQ_PING),         Msg(SOCKET_RQ_ACK),          Text(SOCKET_RQ_NODES, "inst1"),
      Text(SOCKET_RQ_SAVE, "x"),   Text(SOCKET_RQ_RUN, "-l"),   Text(SOCKET_RQ_USER, "root"),
      Text(SOCKET_RQ_EXIST, strFile, {1}), Text(SOCKET_RQ_OPEN, strFile),
      Msg(SOCKET_RQ_READ, {16, 0}), Msg(15, {}, std::string(32, 'p'))};   /* 15: the proof of version 211 */
  struct Case {
    const char *pcName;
    std::string strHello, strTls;
    bool        boWrongKey;
    uint32_t    ulCode;       /* what Authenticate gives */
    std::string strError;     /* the clear refusal, or the start of the TLS failure */
  };
  std::vector<Case> cases = {
      {"another key", "inst1", "inst1", true, kulTlsFailed, "Authentication failed: "},
      {"the key of another instance", "inst1", "inst9", false, kulTlsFailed, "Authentication failed: "},
      {"an instance without a user", "inst2", "inst2", false, SOCKET_RP_ERROR, Error("Authentication failed")},
      {"a name with a slash", "../inst1", "", false, SOCKET_RP_ERROR, Error("Authentication failed")},
  };
  std::vector<unsigned char> wrongKey(AUTHKEY_SIZE);
  authkeyRandom(wrongKey.data(), wrongKey.size());
  Peer peer(static_cast<int>(vRequests.size() + cases.size()), Serve);
  for (const Bytes &request : vRequests) {
    int fd = Connect(peer.Port());
    SendRaw(fd, request);
    Reply reply = ReadReply(fd);
    EXPECT_EQ(reply.ulCode, static_cast<uint32_t>(SOCKET_RP_ERROR)) << obyteGetBE32(request.data() + 8);
    EXPECT_EQ(reply.strPayload, Error("Authentication required")) << obyteGetBE32(request.data() + 8);
    EXPECT_TRUE(PeerClosed(fd));
    vSOCKETclose(fd);
  }
  for (const Case &c : cases) {
    int fd = Connect(peer.Port());
    std::string strError;
    EXPECT_EQ(Authenticate(fd, c.boWrongKey ? wrongKey : Key(), c.strHello, c.strTls, &strError), c.ulCode)
        << c.pcName;
    EXPECT_EQ(strError.substr(0, c.strError.size()), c.strError) << c.pcName;
    EXPECT_TRUE(PeerClosed(fd)) << c.pcName;
    vSOCKETclose(fd);
  }
  EXPECT_EQ(peer.Results(), std::vector<int>(vRequests.size() + cases.size(), SOCKET_RC_ERROR));

  /* the client side: a key file others may read is not used */
  std::string strKey = gInst.strHome + "/" AUTHKEY_FILE;
  chmod(strKey.c_str(), 0644);
  Peer peerClient(1, Serve);
  char *pcErr = nullptr;
  EXPECT_EQ(iSOCKETtestDaemon(kpcHost, &pcErr), -2);
  EXPECT_EQ(std::string(pcErr), "Instance secret unusable: " + strKey + ": readable or writable by others than its owner");
  chmod(strKey.c_str(), 0600);
  EXPECT_EQ(peerClient.Results(), std::vector<int>{SOCKET_RC_ERROR});   /* it was sent nothing */
}

/* A daemon whose key is not the client's: the real client fails with the
   handshake's reason and sends no request. */
TEST(SocketClient, AnotherKeyFailsTheHandshake)
{
  Peer peer(1, Serve, gInst.strTopOther);
  char *pcErr = nullptr;
  EXPECT_EQ(iSOCKETtestDaemon(kpcHost, &pcErr), -2);
  EXPECT_EQ(std::string(pcErr).rfind("Authentication failed: ", 0), 0u) << pcErr;
  EXPECT_EQ(peer.Results(), std::vector<int>{SOCKET_RC_ERROR});
}

/* File requests reach the instance's database trees and the containers its
   control files name, nothing else: no link beneath them, no '..', no
   container entry that climbs out or names a system directory. */
TEST(SocketService, FileRequestsStayWithinTheInstance)
{
  Scratch scratch, outside(false);
  std::string strInside = scratch.File("inside", "in");
  std::string strContainer = outside.File("cont/c1", std::string(4096, 'c'));
  std::string strDirContainer = outside.Path() + "/smscont";
  outside.File("smscont/SQL00002.DAT", "sms");
  std::string strOther = outside.File("other", "no");
  std::string strLink = scratch.Path() + "/link";
  ASSERT_EQ(symlink(strOther.c_str(), strLink.c_str()), 0);
  /* a control file of the instance names the two outside containers */
  std::string strDbDir = gInst.strDb + "/inst1/NODE0000/SQL00001";
  fs::create_directories(strDbDir);
  for (const std::string &str : {gInst.strDb + "/inst1/NODE0000", strDbDir}) chmod(str.c_str(), 0755);
  db2spcsTablespace ts;
  ts.sId = 2;
  ts.strName = "DMS1";
  ts.vContainers.push_back({strContainer, 0, 0, 0, 4096});
  ts.vContainers.push_back({strDirContainer, 0, 0, 0, 4096});
  /* and a hostile table space: containers that climb out of the tree or name the system */
  db2spcsTablespace tsHostile;
  tsHostile.sId = 3;
  tsHostile.strName = "EVIL";
  for (const char *pc : {"../../../../../../../..", "/", "/etc", "/usr/bin", "/proc/self"})
    tsHostile.vContainers.push_back({pc, 0, 0, 0, 4096});
  ASSERT_TRUE(db2spcsWriteFile(strDbDir + "/SQLSPCS.1", {ts, tsHostile}));
  chmod((strDbDir + "/SQLSPCS.1").c_str(), 0644);

  struct Case {
    std::string strPath;
    bool        boAllowed;
  };
  std::vector<Case> cases = {
      {strInside, true},
      {strDbDir + "/SQLSPCS.1", true},
      {strContainer, true},
      {strDirContainer + "/SQL00002.DAT", true},
      {strOther, false},
      {strLink, false},
      {"/etc/passwd", false},
      {"/", false},
      {"/usr/bin/env", false},
      {"/proc/self/environ", false},
      {scratch.Path() + "/../../../../../../etc/passwd", false},
      {strDbDir + "/../../../../../../../../etc/passwd", false},
      {"relative/path", false},
  };
  Peer peer(static_cast<int>(cases.size()), Serve);
  for (const Case &c : cases) {
    char *pcErr = nullptr;
    int64_t ilSize = 0;
    int fd = iSOCKETopenFile(kpcHost, CurrentUser().c_str(), c.strPath.c_str(), &ilSize, &pcErr);
    if (c.boAllowed) {
      EXPECT_GE(fd, 0) << c.strPath << " " << pcErr;
      if (fd >= 0) {
        EXPECT_EQ(iSOCKETcloseFile(fd, &pcErr), 0);
      }
    } else {
      EXPECT_EQ(fd, -1) << c.strPath;
      EXPECT_EQ(std::string(pcErr), Error("Path not allowed")) << c.strPath;
    }
  }
  std::vector<int> vExpected;
  for (const Case &c : cases) vExpected.push_back(c.boAllowed ? 0 : SOCKET_RC_ERROR);
  EXPECT_EQ(peer.Results(), vExpected);
  fs::remove_all(gInst.strDb + "/inst1/NODE0000");
}

/* An installation of its own for one test: the configuration of inst1 with
   this home and instance user. */
std::string MakeTop(const std::string &strName, const std::string &strHome, const std::string &strUser)
{
  std::string strTop = gInst.strBase + "/" + strName;
  fs::create_directories(strTop + "/cfg");
  chmod(strTop.c_str(), 0755);
  chmod((strTop + "/cfg").c_str(), 0755);
  std::ofstream(strTop + "/cfg/db2zav.cfg") << "db2instance=inst1\ninsthomes=inst1:" << strHome
                                            << "\ninstusers=inst1:" << strUser << "\ndbpaths=inst1:" << gInst.strDb
                                            << "\n";
  return strTop;
}

/* Takes from a root process the power to read and search others' files
   (CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH), keeping the power to change identity. */
bool DropReadOverride()
{
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct aData[2] = {};
  if (syscall(SYS_capget, &header, aData) != 0) return false;
  for (int iCap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH}) {
    aData[iCap / 32].effective &= ~(1u << (iCap % 32));
    aData[iCap / 32].permitted &= ~(1u << (iCap % 32));
  }
  return syscall(SYS_capset, &header, aData) == 0;
}

/* The daemon takes the instance user's identity before it reads anything of
   the instance: a root that may not read others' files serves an instance
   whose home only the instance user can enter. */
TEST(SocketService, InstanceFilesAreReadAsTheInstanceUser)
{
  if (geteuid() != 0) GTEST_SKIP() << "needs root: the daemon changes identity only as root";
  passwd *ppw = getpwnam(gInst.strUser.c_str());
  ASSERT_NE(ppw, nullptr);
  std::string strHome = gInst.strBase + "/privatehome", strKey = strHome + "/" AUTHKEY_FILE;
  fs::create_directories(strHome);
  fs::copy_file(gInst.strHome + "/" AUTHKEY_FILE, strKey, fs::copy_options::overwrite_existing);
  for (const std::string &str : {strHome, strKey}) ASSERT_EQ(chown(str.c_str(), ppw->pw_uid, ppw->pw_gid), 0);
  chmod(strHome.c_str(), 0700);
  chmod(strKey.c_str(), 0600);
  Peer peer(1, [&](int fd) {
    if (!DropReadOverride()) return 98;
    if (open(strKey.c_str(), O_RDONLY) >= 0) return 99;   /* root could still read it: it would prove nothing */
    return Serve(fd);
  }, MakeTop("topprivate", strHome, gInst.strUser));
  char *pcErr = nullptr;
  EXPECT_EQ(iSOCKETtestDaemon(kpcHost, &pcErr), 0) << pcErr;
  EXPECT_EQ(peer.Results(), std::vector<int>{0});
}

/* An instance user whose primary group is root's is refused as root is. */
TEST(SocketService, InstanceUserOfRootsGroupIsRefused)
{
  if (geteuid() != 0) GTEST_SKIP() << "needs root: makes a user";
  std::string strUser = "zavg" + std::to_string(getpid() % 100000);
  std::string strAdd = "useradd -M -N -g 0 -s /bin/false " + strUser + " >/dev/null 2>&1";
  for (int i = 0; i < 20 && getpwnam(strUser.c_str()) == nullptr; i++)
    if (std::system(strAdd.c_str()) != 0) usleep(250000);   /* another test may hold the password file's lock */
  ASSERT_NE(getpwnam(strUser.c_str()), nullptr);
  Peer peer(1, Serve, MakeTop("topgroup0", gInst.strHome, strUser));
  int fd = Connect(peer.Port());
  std::string strError;
  EXPECT_EQ(Authenticate(fd, Key(), "inst1", "", &strError), static_cast<uint32_t>(SOCKET_RP_ERROR));
  EXPECT_EQ(strError, Error("Authentication failed"));
  vSOCKETclose(fd);
  EXPECT_EQ(peer.Results(), std::vector<int>{SOCKET_RC_ERROR});
  std::string strDel = "userdel " + strUser + " >/dev/null 2>&1";
  for (int i = 0; i < 20 && getpwnam(strUser.c_str()) != nullptr; i++)
    if (std::system(strDel.c_str()) != 0) usleep(250000);
}

/* A peer that stops within a message, or trickles it byte by byte, is
   dropped after the configured time, before and after the handshake. */
TEST(SocketService, StalledOrTricklingPeerIsDropped)
{
  Peer peer(4, Serve, gInst.strTopShort);           /* daemontimeout=2 for the daemon only */
  Bytes hello = Text(SOCKET_RQ_HELLO, "inst1");
  Bytes ping = Msg(SOCKET_RQ_PING);
  for (int i = 0; i < 4; i++) {
    bool boAuthenticated = i % 2 == 1, boTrickle = i >= 2;
    int fd = boAuthenticated ? ConnectAuth(peer.Port()) : Connect(peer.Port());
    const Bytes &message = boAuthenticated ? ping : hello;
    size_t ulSent = 0;
    if (!boTrickle) {
      Bytes half(message.begin(), message.begin() + 7);   /* part of the header, then nothing */
      SendRaw(fd, half);
    } else {
      /* one byte every 400 ms: never silent for long, never a whole message
         within two seconds; each byte after the handshake is a TLS record of
         its own */
      int iFlags = fcntl(fd, F_GETFL);
      fcntl(fd, F_SETFL, iFlags | O_NONBLOCK);
      for (; ulSent < message.size(); ulSent++) {
        pollfd pfd{fd, POLLIN, 0};
        if (poll(&pfd, 1, 400) > 0) break;               /* the daemon spoke: it dropped us */
        char *pcErr = nullptr;
        if (_iSOCKETsend(fd, message.data() + ulSent, 1, &pcErr) != 0) break;
      }
      EXPECT_LT(ulSent, message.size()) << "the daemon waited for the whole trickled message";
    }
    Reply reply = ReadReply(fd);
    EXPECT_EQ(reply.ulCode, static_cast<uint32_t>(SOCKET_RP_ERROR)) << i;
    EXPECT_EQ(reply.strPayload, Error("Peer stalled: no complete message within the time limit")) << i;
    EXPECT_TRUE(PeerClosed(fd));
    vSOCKETclose(fd);
  }
  EXPECT_EQ(peer.Results(), std::vector<int>(4, SOCKET_RC_ERROR));
}

/* ================================================ client against fake daemons */

/* Reads the client's request, then sends the scripted answer; the result
   says whether the client answered a bad reply with an error of its own. */
int Answer(int fd, const Bytes &answer, bool boExpectError, const std::string &strError)
{
  zor3socketMessage msg;
  char *pcErr = nullptr;
  if (_iSOCKETread(fd, &msg, &pcErr) != 0) return 1;
  std::free(msg.pcPayload);
  send(fd, answer.data(), answer.size(), MSG_NOSIGNAL);   /* in clear: the hello's answer */
  shutdown(fd, SHUT_WR);
  int iRc = 0;
  if (boExpectError) {
    Reply reply = ReadReply(fd);
    if (reply.ulCode != SOCKET_RP_ERROR || reply.strPayload != Error(strError.c_str())) iRc = 2;
  }
  vSOCKETclose(fd);
  return iRc;
}

/*
** A daemon that answers the hello, then offers a TLS with a certificate of
** its own instead of the key (what a listener that took the port could do).
** Returns 0 when the client refused the handshake.
*/
int CertificateInsteadOfKey(int fd)
{
  zor3socketMessage msg;
  char *pcErr = nullptr;
  signal(SIGPIPE, SIG_IGN);   /* this fake writes with the plain socket BIO */
  if (_iSOCKETread(fd, &msg, &pcErr) != 0) return 1;
  std::free(msg.pcPayload);
  SendRaw(fd, Msg(SOCKET_RP_DONE));
  EVP_PKEY *pkey = EVP_EC_gen("P-256");
  X509 *px = X509_new();
  X509_set_version(px, 2);
  ASN1_INTEGER_set(X509_get_serialNumber(px), 1);
  X509_gmtime_adj(X509_getm_notBefore(px), 0);
  X509_gmtime_adj(X509_getm_notAfter(px), 3600);
  X509_set_pubkey(px, pkey);
  X509_NAME *pname = X509_get_subject_name(px);
  X509_NAME_add_entry_by_txt(pname, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char *>("db2zavdm"), -1, -1, 0);
  X509_set_issuer_name(px, pname);
  X509_sign(px, pkey, EVP_sha256());
  SSL_CTX *pctx = SSL_CTX_new(TLS_server_method());
  SSL_CTX_use_certificate(pctx, px);
  SSL_CTX_use_PrivateKey(pctx, pkey);
  SSL *pssl = SSL_new(pctx);
  SSL_set_fd(pssl, fd);
  int rc = SSL_accept(pssl);
  SSL_free(pssl);
  SSL_CTX_free(pctx);
  X509_free(px);
  EVP_PKEY_free(pkey);
  close(fd);
  return rc == 1 ? 2 : 0;
}

TEST(SocketClient, BadRepliesFromTheDaemonAreRefused)
{
  struct Case {
    const char *pcName;
    Bytes       answer;
    std::string strError;
    bool        boClientReplies;   /* the client's reader sends an error reply */
    bool        boPrefix = false;  /* strError is the start of the text */
  };
  Bytes truncated = Msg(SOCKET_RP_DONE);
  truncated.resize(6);
  std::vector<Case> cases = {
      {"older version", Msg(SOCKET_RP_DONE, {}, "", 211), "Client/Server Uncompatible Versions", true},
      {"a challenge of version 211", Msg(SOCKET_RP_DONE, {}, std::string(32, 'c')), "Authentication failed", false},
      {"huge total", Msg(SOCKET_RP_DONE, {}, "", SOCKET_VERSION, 0x10000000), "Bad Request, invalid size", true},
      {"error reply", Msg(SOCKET_RP_ERROR, {}, "ZOR0666F boom"), "ZOR0666F boom", false},
      {"error reply forging a line", Msg(SOCKET_RP_ERROR, {}, "ZOR0666F boom\nZORU410I ZAV UTILITY HAS UNLOADED"),
       "ZOR0666F boom\\x0AZORU410I ZAV UTILITY HAS UNLOADED", false},
      {"truncated header", truncated, "Error receive empty request", true},
      {"done, then no TLS", Msg(SOCKET_RP_DONE), "Authentication failed: ", false, true},
  };
  for (const Case &c : cases) {
    Peer peer(1, [&](int fd) { return Answer(fd, c.answer, c.boClientReplies, c.strError); });
    char *pcErr = nullptr;
    EXPECT_EQ(iSOCKETtestDaemon(kpcHost, &pcErr), -2) << c.pcName;
    if (c.boPrefix)
      EXPECT_EQ(std::string(pcErr).rfind(c.strError, 0), 0u) << c.pcName << ": " << pcErr;
    else
      EXPECT_EQ(std::string(pcErr), c.strError) << c.pcName;
    EXPECT_EQ(peer.Results(), std::vector<int>{0}) << c.pcName;
  }
  /* a certificate is no proof of the instance secret */
  Peer peer(1, CertificateInsteadOfKey);
  char *pcErr = nullptr;
  EXPECT_EQ(iSOCKETtestDaemon(kpcHost, &pcErr), -2);
  EXPECT_EQ(std::string(pcErr).rfind("Authentication failed: ", 0), 0u) << pcErr;
  EXPECT_EQ(peer.Results(), std::vector<int>{0});
}

TEST(SocketClient, ReadStopsWhenTheDaemonHangsUpEarly)
{
  Peer peer(1, [](int fd) {
    zor3socketMessage msg;
    char *pcErr = nullptr;
    if (!FakeAuth(fd)) return 1;
    for (int i = 0; i < 3; i++) {     /* user, open: done; read: half the bytes */
      if (_iSOCKETread(fd, &msg, &pcErr) != 0) return 1;
      std::free(msg.pcPayload);
      Bytes answer = i < 2 ? Msg(SOCKET_RP_DONE, {0, 4096}) : Bytes(2048, 'z');
      SendRaw(fd, answer);
    }
    vSOCKETclose(fd);
    return 0;
  });
  char *pcErr = nullptr;
  int64_t ilSize = 0;
  int fd = iSOCKETopenFile(kpcHost, "u", "/p", &ilSize, &pcErr);
  ASSERT_GE(fd, 0) << pcErr;
  EXPECT_EQ(ilSize, 4096);
  std::vector<char> buf(4096);
  EXPECT_EQ(iSOCKETreadFile(fd, 0, 4096, buf.data(), &pcErr), -1);
  EXPECT_NE(std::string(pcErr), "");
  EXPECT_EQ(peer.Results(), std::vector<int>{0});
  EXPECT_EQ(iSOCKETcloseFile(fd, &pcErr), -1);     /* releases the descriptor */
  EXPECT_EQ(fcntl(fd, F_GETFD), -1);
}

TEST(SocketClient, ReadRefusedByTheDaemonIsAFailure)
{
  /* No file is open in these conversations: the daemon answers the read
     with an error reply and hangs up; small and large reads both see it. */
  Peer peer(2, Serve);
  for (int32_t iSize : {16, 4096}) {
    char *pcErr = nullptr;
    int fd = iSOCKETsaveFile(kpcHost, "x", &pcErr);
    ASSERT_GE(fd, 0) << pcErr;
    std::vector<char> buf(static_cast<size_t>(iSize));
    EXPECT_EQ(iSOCKETreadFile(fd, -1, iSize, buf.data(), &pcErr), -1) << iSize;
    EXPECT_EQ(std::string(pcErr), Error("Read file error")) << iSize;
    EXPECT_EQ(iSOCKETcloseFile(fd, &pcErr), -1);
  }
  EXPECT_EQ(peer.Results(), (std::vector<int>{SOCKET_RC_ERROR, SOCKET_RC_ERROR}));
}

/* A daemon that goes silent at any point of a conversation: every wait of
   the client ends after its time limit (daemontimeout, 2 s here) with "No
   answer within 2 seconds", the read and the run as the handshake. */
TEST(SocketClient, SilentDaemonEndsEveryClientWait)
{
  setenv("TOPZAV", gInst.strTopShort.c_str(), 1);   /* this process, the client, waits 2 s */
  const std::string strNoAnswer = "No answer within 2 seconds";
  /* after the hello (the connection stays open, unanswered) */
  {
    Peer peer(1, [&](int fd) {
      zor3socketMessage msg;
      char *pcErr = nullptr;
      if (_iSOCKETread(fd, &msg, &pcErr) == 0) std::free(msg.pcPayload);
      sleep(30);
      return 0;
    });
    char *pcErr = nullptr;
    EXPECT_EQ(iSOCKETtestDaemon(kpcHost, &pcErr), -2);
    EXPECT_EQ(std::string(pcErr), strNoAnswer);
  }
  /* after the open: a read gets no data */
  {
    Peer peer(1, [&](int fd) {
      zor3socketMessage msg;
      char *pcErr = nullptr;
      if (!FakeAuth(fd)) return 1;
      for (int i = 0; i < 2; i++) {   /* user, open */
        if (_iSOCKETread(fd, &msg, &pcErr) != 0) return 2;
        std::free(msg.pcPayload);
        SendRaw(fd, Msg(SOCKET_RP_DONE, {0, 4096}));
      }
      sleep(30);
      return 0;
    });
    char *pcErr = nullptr;
    int64_t ilSize = 0;
    int fd = iSOCKETopenFile(kpcHost, "u", "/p", &ilSize, &pcErr);
    ASSERT_GE(fd, 0) << pcErr;
    std::vector<char> buf(4096);
    EXPECT_EQ(iSOCKETreadFile(fd, 0, 4096, buf.data(), &pcErr), -1);
    EXPECT_EQ(std::string(pcErr), strNoAnswer);
    iSOCKETcloseFile(fd, &pcErr);
  }
  /* during a run: neither a line, nor a 502, nor the end */
  {
    Peer peer(1, [&](int fd) {
      zor3socketMessage msg;
      char *pcErr = nullptr;
      if (!FakeAuth(fd) || _iSOCKETread(fd, &msg, &pcErr) != 0) return 1;
      std::free(msg.pcPayload);
      SendRaw(fd, Msg(SOCKET_RP_DONE));
      sleep(30);
      return 0;
    });
    char *pcErr = nullptr;
    int fd = iSOCKETsaveFile(kpcHost, "ctl", &pcErr);
    ASSERT_GE(fd, 0) << pcErr;
    EXPECT_EQ(iSOCKETexecCmdLocal(fd, "-d SAMPLE", &pcErr), -1);
    EXPECT_EQ(std::string(pcErr), strNoAnswer);
  }
  setenv("TOPZAV", gInst.strTop.c_str(), 1);
}

TEST(SocketClient, ExecPrintsLinesUntilTheDaemonStops)
{
  struct Case {
    const char              *pcName;
    Bytes                    end;       /* what follows the two lines */
    int                      iRc;
  };
  Bytes error = Msg(SOCKET_RP_ERROR, {}, "ZOR0666F late");
  Bytes beats = Msg(SOCKET_RP_RUNNING);
  for (const Bytes &v : {Msg(SOCKET_RP_RUNNING), Msg(SOCKET_RP_DONE, {0})}) beats.insert(beats.end(), v.begin(), v.end());
  std::vector<Case> cases = {
      {"done", Msg(SOCKET_RP_DONE, {0}), 0},
      {"the run goes on, then done", beats, 0},
      {"done with status 12", Msg(SOCKET_RP_DONE, {12}), 12},
      {"done without status", Msg(SOCKET_RP_DONE), -1},
      {"status out of range", Msg(SOCKET_RP_DONE, {256}), -1},
      {"error", error, -1},
      {"other code", Msg(SOCKET_RQ_PING), -1},
  };
  for (const Case &c : cases) {
    Peer peer(1, [&](int fd) {
      zor3socketMessage msg;
      char *pcErr = nullptr;
      if (!FakeAuth(fd)) return 4;
      if (_iSOCKETread(fd, &msg, &pcErr) != 0 || msg.ulCode != SOCKET_RQ_SAVE) return 1;
      std::free(msg.pcPayload);
      Bytes done = Msg(SOCKET_RP_DONE);
      SendRaw(fd, done);
      if (_iSOCKETread(fd, &msg, &pcErr) != 0 || msg.ulCode != SOCKET_RQ_RUN ||
          std::string(msg.pcPayload) != "-l -d SAMPLE")
        return 2;
      std::free(msg.pcPayload);
      Bytes answer = Msg(SOCKET_RP_LINE, {}, "ZORU001I one");
      Bytes second = Msg(SOCKET_RP_LINE, {}, "ZORU002I two");
      answer.insert(answer.end(), second.begin(), second.end());
      answer.insert(answer.end(), c.end.begin(), c.end.end());
      SendRaw(fd, answer);
      if (_iSOCKETread(fd, &msg, &pcErr) != 0 || msg.ulCode != SOCKET_RQ_END) return 3;
      vSOCKETclose(fd);
      return 0;
    });
    char *pcErr = nullptr;
    int fd = iSOCKETsaveFile(kpcHost, "ctl", &pcErr);
    ASSERT_GE(fd, 0) << pcErr;
    int iRc = 99;
    std::vector<std::string> v = zavtestMessages([&] { iRc = iSOCKETexecCmdLocal(fd, "-l -d SAMPLE", &pcErr); });
    EXPECT_EQ(iRc, c.iRc) << c.pcName;
    EXPECT_EQ(v, (std::vector<std::string>{"ZORU001I one\n", "ZORU002I two\n"})) << c.pcName;
    EXPECT_EQ(peer.Results(), std::vector<int>{0}) << c.pcName;
  }
}

/* ========================================================= shared pieces */

TEST(SocketShared, MessageReaderOnASocketPair)
{
  struct Case {
    const char *pcName;
    Bytes       bytes;
    int         iRc;
    uint32_t    ulCode;
    std::string strPayload;   /* or the error text */
  };
  Bytes split = Msg(SOCKET_RQ_SAVE, {}, std::string("abc") + '\0');
  std::vector<Case> cases = {
      {"no payload", Msg(SOCKET_RQ_PING), 0, SOCKET_RQ_PING, ""},
      {"text payload", split, 0, SOCKET_RQ_SAVE, std::string("abc") + '\0'},
      {"largest message", Msg(SOCKET_RQ_SAVE, {}, std::string(SOCKET_MAX_MESSAGE - 12, 'q')), 0, SOCKET_RQ_SAVE,
       std::string(SOCKET_MAX_MESSAGE - 12, 'q')},
      {"one byte too large", Msg(SOCKET_RQ_SAVE, {}, std::string(SOCKET_MAX_MESSAGE - 11, 'q')), SOCKET_RC_ERROR, 0,
       "Bad Request, invalid size"},
      {"version 0", Msg(SOCKET_RQ_PING, {}, "", 0), SOCKET_RC_ERROR, 0, "Client/Server Uncompatible Versions"},
  };
  for (const Case &c : cases) {
    int ai[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, ai), 0);
    pid_t pid = fork();
    if (pid == 0) {                    /* the writer, so a large message cannot block */
      close(ai[1]);
      send(ai[0], c.bytes.data(), c.bytes.size(), MSG_NOSIGNAL);
      char ac[600];
      while (recv(ai[0], ac, sizeof(ac), 0) > 0) {
      }
      _exit(0);
    }
    close(ai[0]);
    zor3socketMessage msg;
    char *pcErr = nullptr;
    EXPECT_EQ(_iSOCKETread(ai[1], &msg, &pcErr), c.iRc) << c.pcName;
    if (c.iRc == 0) {
      EXPECT_EQ(msg.ulVersion, static_cast<uint32_t>(SOCKET_VERSION));
      EXPECT_EQ(msg.ulCode, c.ulCode) << c.pcName;
      EXPECT_EQ(msg.ulLength, c.strPayload.size()) << c.pcName;
      if (msg.ulLength > 0) {
        EXPECT_EQ(std::string(msg.pcPayload, msg.ulLength), c.strPayload) << c.pcName;
        EXPECT_EQ(msg.pcPayload[msg.ulLength], '\0');
      }
    } else {
      EXPECT_EQ(msg.pcPayload, nullptr);
      EXPECT_EQ(std::string(pcErr), c.strPayload) << c.pcName;
    }
    std::free(msg.pcPayload);
    close(ai[1]);
    waitpid(pid, nullptr, 0);
  }
}

TEST(SocketShared, ErrorReplyIsCutTo512Bytes)
{
  int ai[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, ai), 0);
  EXPECT_EQ(iSOCKETsendError(ai[0], 7, SOCKET_ERROR_ID, "short"), 7);
  Reply reply = ReadReply(ai[1]);
  EXPECT_EQ(reply.ulCode, static_cast<uint32_t>(SOCKET_RP_ERROR));
  EXPECT_EQ(reply.strPayload, Error("short"));

  EXPECT_EQ(iSOCKETsendError(ai[0], 16, SOCKET_ERROR_ID, std::string(1000, 'e').c_str()), 16);
  Bytes head = RecvRaw(ai[1], 12);
  ASSERT_EQ(head.size(), 12u);
  EXPECT_EQ(obyteGetBE32(head.data()), 512u);
  Bytes rest = RecvRaw(ai[1], 500);
  EXPECT_EQ(std::string(rest.begin(), rest.end()), Error(std::string(491, 'e').c_str()));
  close(ai[1]);
  std::vector<std::string> v = zavtestMessages([&] {
    EXPECT_EQ(iSOCKETsendError(ai[0], 0, SOCKET_ERROR_ID, "gone"), SOCKET_RC_ERROR);
  });
  EXPECT_EQ(v, std::vector<std::string>{"ZOR0666F FATAL ERROR : Cant send message\n"});
  close(ai[0]);
}

TEST(SocketShared, SetTextCopiesAndTerminates)
{
  char *pc = pzcSOCKETsetText("abcdef", 3);
  ASSERT_NE(pc, nullptr);
  EXPECT_STREQ(pc, "abc");
  std::free(pc);
  EXPECT_EQ(iSOCKETstartServices(), 0);
  vSOCKETcloseServices();
}

TEST(SocketShared, DaemonInitDetachesTheProcess)
{
  int ai[2];
  ASSERT_EQ(pipe(ai), 0);
  /* A helper adopts the detached processes and reaps them all. */
  pid_t pidHelper = fork();
  if (pidHelper == 0) {
    close(ai[0]);
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    pid_t pid = fork();
    if (pid == 0) {
      pid_t sidBefore = getsid(0);
      vSOCKETdaemonInit();               /* returns in the grandchild only */
      int aiState[4] = {getsid(0) != sidBefore && getsid(0) != getpid(),   /* new session, not its leader */
                        static_cast<int>(umask(0)),
                        fcntl(0, F_GETFD) == -1 && fcntl(1, F_GETFD) == -1 && fcntl(2, F_GETFD) == -1,
                        signal(SIGHUP, SIG_DFL) == SIG_IGN};
      if (write(ai[1], aiState, sizeof(aiState)) < 0) _exit(1);
      _exit(0);
    }
    close(ai[1]);
    int iStatus = -1;
    waitpid(pid, &iStatus, 0);
    while (wait(nullptr) > 0 || errno == EINTR) {
    }
    _exit(WIFEXITED(iStatus) && WEXITSTATUS(iStatus) == 0 ? 0 : 1);
  }
  close(ai[1]);
  int aiState[4] = {0, -1, 0, 0};
  ASSERT_EQ(read(ai[0], aiState, sizeof(aiState)), static_cast<ssize_t>(sizeof(aiState)));
  close(ai[0]);
  int iStatus = -1;
  waitpid(pidHelper, &iStatus, 0);
  EXPECT_TRUE(WIFEXITED(iStatus) && WEXITSTATUS(iStatus) == 0) << "the first parent exits with 0";
  EXPECT_EQ(aiState[0], 1) << "new session";
  EXPECT_EQ(aiState[1], 022) << "umask: nothing the daemon's runs make is world-writable";
  EXPECT_EQ(aiState[2], 1) << "standard descriptors closed";
  EXPECT_EQ(aiState[3], 1) << "SIGHUP ignored";
}

}  // namespace
