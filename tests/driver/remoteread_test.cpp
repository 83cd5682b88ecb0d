/*
** remoteread_test.cpp
**   The whole program, as a subprocess, reading a partition that lies on
**   another host through the daemon of that host: a private instance of two
**   partitions, 0 on this host and 1 on 127.0.0.2 (another host for the
**   program), whose partition 1 is served by the built libdb2zavdm, loaded
**   as the daemon program loads it, one process per connection.  Between
**   the program and the daemon sits a relay that forwards every connection,
**   records how many bytes the daemon sent on each and where its last
**   answer began, and on demand cuts one connection or flips one byte of
**   it.  The tables are the forked-reader table (tests/storage/fictable.h)
**   in an SMS table space of two containers and a DMS one of two.  An unload either writes every row of both
**   partitions and ends 0, or ends non-zero without its success message:
**   nothing a failing daemon or a relay does passes for a whole unload.
*/
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <dlfcn.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "io/authkey.h"
#include "io/socket.h"
#include "platform/db2admin.h"
#include "tests/driver/twopart.h"
#include "tests/storage/empspace.h"
#include "tests/storage/fictable.h"
#include "tests/zavproc.h"
#include "tests/zavtest.h"
#include "tools/db2emp.h"
#include "tools/db2pages.h"
#include "tools/db2spcs.h"

#ifndef ZAV_DB2ZAVDM_LIBRARY
#error "ZAV_DB2ZAVDM_LIBRARY must name the built libdb2zavdm.so"
#endif

namespace fs = std::filesystem;

namespace {

using fictable::Bytes;

using namespace twopart;
constexpr const char *kpcRemoteHost = "127.0.0.2";

std::string gstrDir;

/* The instance user: the daemon never serves as root. */
std::string InstanceUser()
{
  passwd *ppw = getpwuid(geteuid());
  return geteuid() == 0 ? "nobody" : (ppw != nullptr ? ppw->pw_name : "");
}

std::string DbDir(int iPart)
{
  return gstrDir + "/data/zavinst/NODE000" + std::to_string(iPart) + "/SQL00001/";
}

/* Writes the DB2 files of both partitions: SMS table S over two containers, DMS table D over two. */
void WriteFiles()
{
  for (int n = 0; n < 2; n++) {
    std::string strDb = DbDir(n);
    for (const char *pc : {"sms0", "sms1"}) {
      fs::remove_all(strDb + pc);
      fs::create_directories(strDb + pc);
    }
    db2spcsTablespace sms =
        Space(kSmsSpace, "SMSSPACE", DB2SPCS_SMS, {{"sms0", 0, 0, 0, kPageSize}, {"sms1", 0, 0, 0, kPageSize}});
    db2spcsTablespace dms = DmsSpace();
    ASSERT_TRUE(db2spcsWriteFile(strDb + "SQLSPCS.1", {sms, dms}));

    std::vector<Bytes> vPages;
    for (uint32_t p = 0; p < kPages; p++) vPages.push_back(fictable::Page(kPageSize, p, kPages, nullptr));

    /* S: extent e of file 4 lies in container (4 + e) mod 2, at extent row e div 2 */
    Bytes avSms[2];
    for (uint32_t p = 0; p < kPages; p++) {
      uint32_t e = p / kExtent;
      avSms[(kTable + e) % 2].insert(avSms[(kTable + e) % 2].end(), vPages[p].begin(), vPages[p].end());
    }
    for (int c = 0; c < 2; c++)
      std::ofstream(strDb + "sms" + std::to_string(c) + "/SQL00004.DAT", std::ios::binary)
          .write(reinterpret_cast<const char *>(avSms[c].data()), static_cast<std::streamsize>(avSms[c].size()));

    /* D: two extents mapped, the table's pages from the first data page on */
    WriteDmsContainers(DmsPages(vPages, 2), strDb);
  }
  /* the daemon reads as the instance user */
  for (auto &entry : fs::recursive_directory_iterator(gstrDir + "/data"))
    chmod(entry.path().c_str(), entry.is_directory() ? 0755 : 0644);
}

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

/* The daemon of host 127.0.0.2: a process that serves each connection in a child of its own. */
pid_t StartDaemon(int *piPort)
{
  DaemonLib lib;
  lib.pHandle = dlopen(ZAV_DB2ZAVDM_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  if (lib.pHandle == nullptr) return -1;
  lib.configVerifyTopzav = reinterpret_cast<int (*)(void)>(dlsym(lib.pHandle, "configVerifyTopzav"));
  lib.omsgsInitModule = reinterpret_cast<decltype(lib.omsgsInitModule)>(dlsym(lib.pHandle, "omsgsInitModule"));
  lib.iSOCKETcreate = reinterpret_cast<decltype(lib.iSOCKETcreate)>(dlsym(lib.pHandle, "iSOCKETcreate"));
  lib.iSOCKETlisten = reinterpret_cast<decltype(lib.iSOCKETlisten)>(dlsym(lib.pHandle, "iSOCKETlisten"));
  lib.iSOCKETaccept = reinterpret_cast<decltype(lib.iSOCKETaccept)>(dlsym(lib.pHandle, "iSOCKETaccept"));
  lib.iSOCKETdoService = reinterpret_cast<decltype(lib.iSOCKETdoService)>(dlsym(lib.pHandle, "iSOCKETdoService"));
  if (lib.iSOCKETdoService == nullptr || lib.omsgsInitModule == nullptr) return -1;
  servent se{};
  char acProto[] = "tcp";
  se.s_proto = acProto;
  char *pcErr = nullptr;
  int iListen = lib.iSOCKETcreate(&se, &pcErr);
  if (iListen < 0 || lib.iSOCKETlisten(iListen, 16, &pcErr) != 0) return -1;
  sockaddr_in addr{};
  socklen_t len = sizeof addr;
  getsockname(iListen, reinterpret_cast<sockaddr *>(&addr), &len);
  *piPort = ntohs(addr.sin_port);
  std::string strSysprint = gstrDir + "/daemon.sysprint";
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    alarm(600);
    signal(SIGCHLD, SIG_IGN);
    if (lib.configVerifyTopzav() != 0 ||
        lib.omsgsInitModule(nullptr, 0, strSysprint.c_str(), 0, 0, nullptr, 0, nullptr, nullptr, nullptr) != 0)
      _exit(1);
    for (;;) {
      unsigned char aucAddress[16];
      int fd = lib.iSOCKETaccept(iListen, aucAddress, &pcErr);
      if (fd < 0) continue;
      if (fork() == 0) {
        close(iListen);
        _exit(lib.iSOCKETdoService(fd, &pcErr));
      }
      close(fd);
    }
  }
  setpgid(pid, pid);
  close(iListen);
  return pid;
}

/*
** A relay on 127.0.0.2 in front of the daemon: forwards every connection
** both ways and counts the bytes the daemon sent on each; the connection
** numbered iTarget has its daemon's bytes cut at ulAt (the rest is dropped
** and both sides are closed) or its byte ulAt flipped.
*/
class Relay {
 public:
  enum Attack { kNone, kCut, kFlip };

  explicit Relay(int iDaemonPort) : iDaemonPort_(iDaemonPort)
  {
    iListen_ = zavtestListen(kpcRemoteHost, 32, &iPort_);
    EXPECT_GE(iListen_, 0);
    thread_ = std::thread([this] { Accept(); });
  }
  ~Relay()
  {
    boStop_ = true;
    thread_.join();
    close(iListen_);
  }
  int Port() const { return iPort_; }

  /* The next run: counts anew, with this attack. */
  void Arm(Attack attack, int iTarget, size_t ulAt)
  {
    std::lock_guard<std::mutex> lock(mutex_);
    vCounts_.clear();
    vLast_.clear();
    attack_ = attack;
    iTarget_ = iTarget;
    ulAt_ = ulAt;
  }
  /* Bytes the daemon sent on each connection of the run, in the order of connection. */
  std::vector<size_t> Counts()
  {
    std::lock_guard<std::mutex> lock(mutex_);
    return vCounts_;
  }
  /* Where the daemon's last TLS record (its last answer) began on each connection. */
  std::vector<size_t> LastRecords()
  {
    std::lock_guard<std::mutex> lock(mutex_);
    return vLast_;
  }

 private:
  void Accept()
  {
    std::vector<std::thread> vThreads;
    while (!boStop_) {
      pollfd pfd{iListen_, POLLIN, 0};
      if (poll(&pfd, 1, 50) <= 0) continue;
      int iClient = accept4(iListen_, nullptr, nullptr, SOCK_CLOEXEC);
      if (iClient < 0) continue;
      int iIndex;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        iIndex = static_cast<int>(vCounts_.size());
        vCounts_.push_back(0);
        vLast_.push_back(0);
      }
      vThreads.emplace_back([this, iClient, iIndex] { Forward(iClient, iIndex); });
    }
    for (std::thread &t : vThreads) t.join();
  }

  void Forward(int iClient, int iIndex)
  {
    int iDaemon = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(iDaemonPort_));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(iDaemon, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
      close(iClient);
      close(iDaemon);
      return;
    }
    Attack attack;
    size_t ulAt;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      attack = iIndex == iTarget_ ? attack_ : kNone;
      ulAt = ulAt_;
    }
    size_t ulFromDaemon = 0, ulRecord = SOCKET_HEADER_SIZE, ulLastRecord = 0;
    std::string strFromDaemon;
    bool boOpen[2] = {true, true};
    while (!boStop_ && (boOpen[0] || boOpen[1])) {
      pollfd apfd[2] = {{boOpen[0] ? iClient : -1, POLLIN, 0}, {boOpen[1] ? iDaemon : -1, POLLIN, 0}};
      if (poll(apfd, 2, 50) <= 0) continue;
      char ac[65536];
      bool boCut = false;
      for (int i = 0; i < 2 && !boCut; i++) {
        if (apfd[i].revents == 0) continue;
        int iFrom = i == 0 ? iClient : iDaemon, iTo = i == 0 ? iDaemon : iClient;
        ssize_t l = recv(iFrom, ac, sizeof ac, 0);
        if (l <= 0) {
          boOpen[i] = false;
          shutdown(iTo, SHUT_WR);
          continue;
        }
        size_t ulLength = static_cast<size_t>(l);
        if (i == 1) {
          /* the daemon's stream: 12 bytes of its clear answer, then TLS records */
          strFromDaemon.append(ac, ulLength);
          while (ulRecord + 5 <= strFromDaemon.size()) {
            size_t ulNext = ulRecord + 5 + (static_cast<unsigned char>(strFromDaemon[ulRecord + 3]) << 8) +
                            static_cast<unsigned char>(strFromDaemon[ulRecord + 4]);
            if (ulNext > strFromDaemon.size()) break;
            ulLastRecord = ulRecord;
            ulRecord = ulNext;
          }
          if (attack == kFlip && ulAt >= ulFromDaemon && ulAt < ulFromDaemon + ulLength) ac[ulAt - ulFromDaemon] ^= 0x01;
          if (attack == kCut && ulFromDaemon + ulLength > ulAt) {
            ulLength = ulAt - ulFromDaemon;
            boCut = true;
          }
          ulFromDaemon += ulLength;
          std::lock_guard<std::mutex> lock(mutex_);
          vCounts_[static_cast<size_t>(iIndex)] = ulFromDaemon;
          vLast_[static_cast<size_t>(iIndex)] = ulLastRecord;
        }
        for (size_t ulSent = 0; ulSent < ulLength;) {
          ssize_t k = send(iTo, ac + ulSent, ulLength - ulSent, MSG_NOSIGNAL);
          if (k <= 0) break;
          ulSent += static_cast<size_t>(k);
        }
      }
      if (boCut) break;
    }
    close(iClient);
    close(iDaemon);
  }

  int iDaemonPort_, iListen_ = -1, iPort_ = 0;
  std::thread thread_;
  std::atomic<bool> boStop_{false};
  std::mutex mutex_;
  std::vector<size_t> vCounts_, vLast_;
  Attack attack_ = kNone;
  int iTarget_ = -1;
  size_t ulAt_ = 0;
};

class RemoteRead : public ::testing::Test {
 public:
  static void SetUpTestSuite()
  {
    char acDir[] = "/tmp/remoteread_testXXXXXX";
    ASSERT_NE(mkdtemp(acDir), nullptr);
    gstrDir = acDir;
    chmod(gstrDir.c_str(), 0755);
    for (const char *pc : {"/home/sqllib", "/data", "/topzav/bin", "/topzav/cfg", "/topzav/msg", "/run"})
      fs::create_directories(gstrDir + pc);
    setenv("DB2INSTANCE", "zavinst", 1);
    setenv("ZAVDB2_INSTHOME", (gstrDir + "/home").c_str(), 1);
    setenv("TOPZAV", (gstrDir + "/topzav").c_str(), 1);
    std::string strErr;
    std::vector<db2adminColumn> vCols = {
        {"R", "INTEGER", false, "", -1}, {"V", "VARCHAR(20)", true, "", -1}, {"C", "CHAR(3)", false, "", -1}};
    ASSERT_EQ(db2adminCreateInstance({"0 " + HostName() + " 0", std::string("1 ") + kpcRemoteHost + " 0"}, &strErr),
              0)
        << strErr;
    ASSERT_EQ(db2adminCreateDatabase("SAMPLE", gstrDir + "/data", 819, 1, &strErr), 0) << strErr;
    ASSERT_EQ(db2adminCreateTablespace("SAMPLE", "SMSSPACE", kSmsSpace, 'S', 'A', kExtent, kPageSize, &strErr), 0)
        << strErr;
    ASSERT_EQ(db2adminCreateTablespace("SAMPLE", "DMSSPACE", kDmsSpace, 'D', 'A', kExtent, kPageSize, &strErr), 0)
        << strErr;
    ASSERT_EQ(db2adminCreateTable("SAMPLE", "ZAVTEST", "S", "SMSSPACE", "", kTable, vCols, &strErr), 0) << strErr;
    ASSERT_EQ(db2adminCreateTable("SAMPLE", "ZAVTEST", "D", "DMSSPACE", "", kTable, vCols, &strErr), 0) << strErr;
    std::ofstream(gstrDir + "/topzav/cfg/db2zav.cfg")
        << "db2instance=zavinst\ndb2dbdft=SAMPLE\ninsthomes=zavinst:" << gstrDir << "/home\ninstusers=zavinst:"
        << InstanceUser() << "\ndbpaths=zavinst:" << gstrDir << "/data\ndaemontimeout=5\nlanguagecode=en\n"
        << "countrycode=US\n";
    std::ofstream(gstrDir + "/topzav/cfg/db2zav.trace") << "-- no trace\n";
    WriteFiles();
    for (const char *pc : {"", "/home", "/home/sqllib", "/topzav", "/topzav/cfg", "/topzav/msg"})
      chmod((gstrDir + pc).c_str(), 0755);
    for (const char *pc : {"/topzav/cfg/db2zav.cfg", "/topzav/cfg/db2zav.trace", "/home/sqllib/db2nodes.cfg"})
      chmod((gstrDir + pc).c_str(), 0644);
    std::string strPath, strWhy;
    int boCreated = 0;
    ASSERT_EQ(authkeyCreate("zavinst", &strPath, &boCreated, &strWhy), 0) << strWhy;
    gpidDaemon = StartDaemon(&giDaemonPort);
    ASSERT_GT(gpidDaemon, 0) << dlerror();
  }

  static void TearDownTestSuite()
  {
    if (gpidDaemon > 0) {
      kill(-gpidDaemon, SIGKILL);
      waitpid(gpidDaemon, nullptr, 0);
    }
    if (!gstrDir.empty()) fs::remove_all(gstrDir);
  }

  /* Unloads table cTable of both partitions, one file each, through the daemon's port iPort. */
  static zavprocResult Run(char cTable, int iPort)
  {
    std::string strCwd = gstrDir + "/run";
    fs::remove_all(strCwd);
    fs::create_directories(strCwd);
    std::ofstream(strCwd + "/job.ctl")
        << "GLOBAL CONNECT TO SAMPLE LOCK NO QUIESCE NO ;\nUNLOAD TABLESPACE "
        << (cTable == 'S' ? "SMSSPACE" : "DMSSPACE") << " PART(0, 1)\n  SELECT R, V, C FROM ZAVTEST." << cTable
        << " ;\n  OUTPUT(\"p0.del\" FOR PARTS(0), \"p1.del\" FOR PARTS(1))\n  FORMAT DEL\n;\n";
    zavprocSpec spec;
    spec.vArgv = {ZAV_BINARY_DIR "/driver/db2zav", "-f", "job.ctl"};
    spec.mEnv = {{"PATH", "/usr/bin:/bin"},
                 {"LANG", "C"},
                 {"TOPZAV", gstrDir + "/topzav"},
                 {"ZAVDB2_INSTHOME", gstrDir + "/home"},
                 {"DB2INSTANCE", "zavinst"},
                 {"ZAV_DAEMON_PORT", std::to_string(iPort)},
                 {"ASAN_OPTIONS", std::getenv("ASAN_OPTIONS") ? std::getenv("ASAN_OPTIONS") : ""}};
    spec.strCwd = strCwd;
    /* a user of the instance user's group may launch it */
    passwd *ppw = getpwnam(InstanceUser().c_str());
    if (geteuid() == 0 && ppw != nullptr) {
      spec.uid = 0;
      spec.gid = ppw->pw_gid;
    }
    return zavprocRun(spec);
  }

  /* The first column of each line of an output file of the last run. */
  static std::multiset<int> Rows(const std::string &strFile)
  {
    std::multiset<int> set;
    std::istringstream in(zavtestReadText(gstrDir + "/run/" + strFile));
    for (std::string strLine; std::getline(in, strLine);) set.insert(std::atoi(strLine.c_str()));
    return set;
  }

  static std::multiset<int> Expected()
  {
    std::multiset<int> set;
    for (uint32_t p = 0; p < kPages; p++)
      for (int i = 0; i < 3; i++) set.insert(static_cast<int>(p) * 10 + i);
    return set;
  }

  static pid_t gpidDaemon;
  static int giDaemonPort;
};

pid_t RemoteRead::gpidDaemon = -1;
int RemoteRead::giDaemonPort = 0;

/*
** Partition 1 read page by page through the daemon, by way of a relay: a
** whole unload.  Then the relay cuts, on each kind of connection of that
** run in turn, the daemon's last answer (every earlier one arrived), and
** flips a byte in the middle of the longest connection: the unload either
** is whole and ends 0, or ends non-zero without its success message.
** (Reading a partition through its daemon once freed the connection's
** error text, which the reader does not own, and ended in an abort.)
*/
void CutOrAlter(char cTable, int iDaemonPort, size_t ulFirst, bool boFlip)
{
  Relay relay(iDaemonPort);
  relay.Arm(Relay::kNone, -1, 0);
  zavprocResult r = RemoteRead::Run(cTable, relay.Port());
  ASSERT_EQ(r.iStatus, 0) << r.strOut;
  EXPECT_NE(r.strOut.find("ZORU412I"), std::string::npos) << r.strOut;
  EXPECT_EQ(RemoteRead::Rows("p0.del"), RemoteRead::Expected()) << r.strOut;
  EXPECT_EQ(RemoteRead::Rows("p1.del"), RemoteRead::Expected()) << r.strOut;
  std::vector<size_t> vCounts = relay.Counts();
  std::vector<size_t> vLast = relay.LastRecords();
  ASSERT_FALSE(vCounts.empty());
  struct Attack {
    Relay::Attack attack;
    size_t        ulConnection, ulAt;
  };
  std::vector<Attack> vAttacks;
  std::set<size_t> setLengths;   /* one connection of each length: of each kind of conversation */
  for (size_t i = ulFirst; i < vCounts.size(); i++)
    if (setLengths.insert(vCounts[i]).second) vAttacks.push_back({Relay::kCut, i, vLast[i]});
  size_t ulLongest = static_cast<size_t>(std::max_element(vCounts.begin(), vCounts.end()) - vCounts.begin());
  if (boFlip) vAttacks.push_back({Relay::kFlip, ulLongest, vCounts[ulLongest] / 2});
  for (const Attack &a : vAttacks) {
    SCOPED_TRACE(std::string(1, cTable) + ": connection " + std::to_string(a.ulConnection) + " of " +
                 std::to_string(vCounts.size()) + (a.attack == Relay::kCut ? " cut at " : " flipped at ") +
                 std::to_string(a.ulAt) + " of " + std::to_string(vCounts[a.ulConnection]));
    relay.Arm(a.attack, static_cast<int>(a.ulConnection), a.ulAt);
    r = RemoteRead::Run(cTable, relay.Port());
    if (r.iStatus == 0) {
      EXPECT_NE(r.strOut.find("ZORU412I"), std::string::npos) << r.strOut;
      EXPECT_EQ(RemoteRead::Rows("p0.del"), RemoteRead::Expected()) << r.strOut;
      EXPECT_EQ(RemoteRead::Rows("p1.del"), RemoteRead::Expected()) << r.strOut;
    } else {
      EXPECT_EQ(r.strOut.find("ZORU412I"), std::string::npos) << r.strOut;
      EXPECT_GT(r.iStatus, 0) << r.strOut;   /* an exit of its own, not a crash (-1) */
    }
  }
}

TEST_F(RemoteRead, SmsPartitionThroughTheDaemonIsWholeOrFails)
{
  CutOrAlter('S', giDaemonPort, 0, true);
}

TEST_F(RemoteRead, DmsPartitionThroughTheDaemonIsWholeOrFails)
{
  /* the daemon test and the control file's read come first, as for S */
  CutOrAlter('D', giDaemonPort, 2, false);
}

}  // namespace
