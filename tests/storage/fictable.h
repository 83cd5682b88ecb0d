/*
** fictable.h
**   A small table for the forked-reader tests: its columns, the rows of
**   each object page as DB2 records (plain rows among empty, pointer and
**   other slots), and the pieces of a reader run: a channel the test reads
**   back after forking the reader, and the descriptors a process has open.
**   Header only.
*/
#ifndef ZAV_TESTS_STORAGE_FICTABLE_H
#define ZAV_TESTS_STORAGE_FICTABLE_H

#include <dirent.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <string>
#include <vector>

#include "common/ovf.h"
#include "tools/db2emp.h"
#include "tools/db2pages.h"

namespace fictable {

using db2pages::Bytes;

inline const std::vector<db2pages::Column> &Columns()
{
  static const std::vector<db2pages::Column> v = {{1, 4, false}, {257, 20, true}, {256, 3, false}};
  return v;
}

/* Row r of the table: INTEGER r, VARCHAR "row<r>" (NULL every fifth row), CHAR "abc". */
inline Bytes Row(int r)
{
  std::vector<db2pages::Value> v = {db2pages::val(db2pages::le32(static_cast<uint32_t>(r))),
                                    r % 5 == 0 ? db2pages::null() : db2pages::val("row" + std::to_string(r)),
                                    db2pages::val(std::string("abc"))};
  return db2pages::row(Columns(), v, r % 7 == 3 ? 4 : 0);
}

/*
** Object page p of a table of ulPages pages (page size ulSize): three rows
** numbered from 10 x p, with an empty slot, a pointer record and a record of
** another kind among them; page 0 carries the header, directory and
** descriptor first.  The rows are appended to *pvRows in slot order.
*/
inline Bytes Page(size_t ulSize, uint32_t ulObjPage, uint32_t ulPages, std::vector<Bytes> *pvRows)
{
  std::vector<Bytes> vRows;
  for (int i = 0; i < 3; i++) vRows.push_back(Row(static_cast<int>(ulObjPage) * 10 + i));
  if (pvRows != nullptr) pvRows->insert(pvRows->end(), vRows.begin(), vRows.end());
  std::vector<Bytes> vSlots = {vRows[0], Bytes{}, db2pages::pointer(ulObjPage, 0), vRows[1],
                               db2pages::other(1), vRows[2]};
  Bytes p = ulObjPage == 0 ? db2pages::firstPage(ulSize, ulPages, Columns(), vSlots)
                           : db2pages::page(ulSize, ulObjPage, vSlots);
  db2empSeal(p.data(), static_cast<uint32_t>(ulSize));
  return p;
}

/* A record channel the test reads after forking its producer. */
struct Channel {
  ovf *povf = nullptr;
  Channel()
  {
    int iErr = 0;
    povf = ovfCreate(1 << 17, 16, &iErr);
  }
  /* Every record up to the end record. */
  std::vector<Bytes> ReadAll()
  {
    std::vector<Bytes> v;
    std::vector<unsigned char> vBuf(1 << 16);
    for (;;) {
      int iLen = 0;
      if (ovfRead(povf, vBuf.data(), static_cast<int>(vBuf.size()), &iLen) != 0 || iLen == 0) break;
      v.emplace_back(vBuf.begin(), vBuf.begin() + iLen);
    }
    return v;
  }
  ~Channel()
  {
    if (povf != nullptr) ovfDestroy(povf);
  }
  Channel(const Channel &) = delete;
  Channel &operator=(const Channel &) = delete;
};

/* Descriptors open in this process. */
inline int OpenFds()
{
  int n = 0;
  DIR *pdir = opendir("/proc/self/fd");
  if (pdir == nullptr) return -1;
  while (readdir(pdir) != nullptr) n++;
  closedir(pdir);
  return n;
}

/* Waits for the child at most iSeconds seconds (then kills it); its exit status, or -1. */
inline int Wait(pid_t pid, int iSeconds = 60)
{
  for (int i = 0; i < iSeconds * 100; i++) {
    int iStatus = 0;
    pid_t p = waitpid(pid, &iStatus, WNOHANG);
    if (p == pid) return WIFEXITED(iStatus) ? WEXITSTATUS(iStatus) : -1;
    if (p < 0 && errno != EINTR) return -1;
    usleep(10000);
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return -1;
}

/*
** Runs fn (returning true when its checks hold) where access rights are
** enforced: here, or for root in a child under user and group 65534.
*/
template <typename Fn>
bool AsUnprivileged(Fn fn)
{
  if (geteuid() != 0) return fn();
  pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    alarm(60);
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
    _exit(fn() ? 0 : 1);
  }
  return Wait(pid) == 0;
}

}  // namespace fictable

#endif
