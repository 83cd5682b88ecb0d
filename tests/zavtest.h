/*
** zavtest.h
**   Helpers shared by the tests: the messages a piece of code issues, what it
**   prints on a stdio stream, temporary folders and files, and C strings.
**   Header only.
*/
#ifndef ZAV_TESTS_ZAVTEST_H
#define ZAV_TESTS_ZAVTEST_H

#include "common/ochar.h"
#include "common/omsgs.h"
#include "common/ostack.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

/* Runs fn with messages deferred and returns the texts it issued, oldest
   first.  Messages deferred before the call are dropped. */
template <typename Fn>
std::vector<std::string> zavtestMessages(Fn fn)
{
  int boWas = omsgsSetDefered(1);
  fn();
  omsgsSetDefered(boWas);
  std::vector<std::string> vTexts;
  ostack *pstack = omsgsExportDefered();
  if (pstack != nullptr) {
    for (int i = 0; i < ostackGetCount(pstack); i++)
      vTexts.emplace_back(reinterpret_cast<const char *>(ostackGetAt(pstack, i)));
    omsgsRestaureDefered(pstack);
    omsgsRestaureDefered(nullptr);
  }
  return vTexts;
}

/* Runs fn(FILE *) on a memory stream and returns what it wrote. */
template <typename Fn>
std::string zavtestCapture(Fn fn)
{
  char *pcBuffer = nullptr;
  size_t ulSize = 0;
  FILE *pfile = open_memstream(&pcBuffer, &ulSize);
  fn(pfile);
  std::fclose(pfile);
  std::string strText(pcBuffer, ulSize);
  std::free(pcBuffer);
  return strText;
}

/* A private temporary directory, removed with everything in it at the end. */
struct zavtestTempDir {
  std::string path;
  zavtestTempDir()
  {
    char acTemplate[] = "/tmp/zavtest.XXXXXX";
    const char *pc = mkdtemp(acTemplate);
    path = pc != nullptr ? pc : "";
  }
  ~zavtestTempDir()
  {
    std::error_code ec;
    if (!path.empty()) std::filesystem::remove_all(path, ec);
  }
  zavtestTempDir(const zavtestTempDir &) = delete;
  zavtestTempDir &operator=(const zavtestTempDir &) = delete;
  std::string file(const char *pcName) const { return path + "/" + pcName; }
};

/* A new C string of code page 850 holding str; the caller destroys it. */
inline ochar *zavtestText(const std::string &str)
{
  ochar *pchar = ocharCreate(0, 850);
  ocharAppendFixed(pchar, str.data(), static_cast<int32_t>(str.size()));
  ocharMakeC(pchar);
  return pchar;
}

/* The whole content of a file as a string, empty when it cannot be read. */
inline std::string zavtestReadText(const std::string &strPath)
{
  std::ifstream in(strPath, std::ios::binary);
  std::ostringstream os;
  os << in.rdbuf();
  return os.str();
}

/* The whole content of a file, empty when it cannot be read. */
inline std::vector<unsigned char> zavtestReadFile(const std::string &strPath)
{
  std::vector<unsigned char> v;
  int iFd = open(strPath.c_str(), O_RDONLY);
  if (iFd < 0) return v;
  unsigned char auc[65536];
  ssize_t l;
  while ((l = read(iFd, auc, sizeof auc)) > 0) v.insert(v.end(), auc, auc + l);
  close(iFd);
  return v;
}

/*
** zavtestListen
**   A listening TCP socket (close-on-exec) on an ephemeral port of the
**   loopback address pcAddr ("127.0.0.1", "127.0.0.2", ...) with the backlog
**   given.  Returns the socket with its port in *piPort, or -1.
*/
inline int zavtestListen(const char *pcAddr, int iBacklog, int *piPort)
{
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  int iOn = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &iOn, sizeof iOn);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  socklen_t len = sizeof addr;
  if (inet_pton(AF_INET, pcAddr, &addr.sin_addr) != 1 || bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 ||
      listen(fd, iBacklog) != 0 || getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len) != 0) {
    close(fd);
    return -1;
  }
  *piPort = ntohs(addr.sin_port);
  return fd;
}

#endif
