/*
** procinst.h
**   A private instance for tests of the whole program: the DB2 stand-in's
**   catalogue with one DMS table space and one table, by default
**   ZAVTEST.BIG (INTEGER NOT NULL, VARCHAR(20), CHAR(3) NOT NULL) with the
**   rows of tests/storage/fictable.h, three a page, else a table of the
**   test's columns, records and LOB object; the container files hold the
**   table's pages as the page writers make them, the installation tree, and
**   the run of db2zav on a control file with its output, status and the
**   processes and SysV objects it made.  Header only.
*/
#ifndef ZAV_TESTS_RUN_PROCINST_H
#define ZAV_TESTS_RUN_PROCINST_H

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/shm.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/ochar.h"
#include "common/olist.h"
#include "platform/db2admin.h"
#include "storage/ficcont.h"
#include "storage/ficdms.h"
#include "tests/storage/empspace.h"
#include "tests/storage/fictable.h"
#include "tests/zavtest.h"
#include "tools/db2emp.h"
#include "tools/db2spcs.h"
#include "tests/zavproc.h"

namespace procinst {

constexpr int32_t kPageSize = 4096;
constexpr int16_t kTbsId = 3;
constexpr int16_t kObjId = 4;
constexpr uint32_t kFirstData = 100;   /* table-space page of object page 0 */

inline std::string HostName()
{
  char ac[256] = {0};
  if (gethostname(ac, sizeof ac - 1) != 0) return "localhost";
  std::string str = ac;
  size_t ulDot = str.find('.');
  return ulDot == std::string::npos ? str : str.substr(0, ulDot);
}

/* LOB object bytes by 1 KB unit; object page 0 stays empty. */
struct LobObject {
  fictable::Bytes bytes = fictable::Bytes(kPageSize, 0);
  /* Places the data at the next 1 KB unit of a segment of ulSegment bytes; its unit. */
  uint32_t put(const std::string &s, size_t ulSegment)
  {
    uint32_t ulUnit = static_cast<uint32_t>(bytes.size() / 1024);
    bytes.insert(bytes.end(), s.begin(), s.end());
    bytes.resize(bytes.size() + (ulSegment - s.size() % ulSegment) % ulSegment, 0);
    return ulUnit;
  }
  /*
  ** The descriptor of a LOB value of up to 1 KB in its first segment slot,
  ** or, with boFirstEmpty, of up to 2 KB in one tail segment of 2 KB whose
  ** first slot stays empty (-1).  LOB descriptor, integers little-endian:
  ** 2 slot count s, 8 length, 20 tail segments t, 21 buddy size code,
  ** 56+4i slot i (start in 1 KB units, -1 empty); tail slot j (from s - 1)
  ** holds a segment of 1 << (j - s + 11) bytes.
  */
  fictable::Bytes descriptor(const std::string &s, bool boFirstEmpty)
  {
    fictable::Bytes d(boFirstEmpty ? 64 : 60, 0);
    d[2] = 1;
    db2pages::putLE32(d, 8, static_cast<uint32_t>(s.size()));
    if (boFirstEmpty) {
      d[20] = 1;
      db2pages::putLE32(d, 56, 0xFFFFFFFFu);
      db2pages::putLE32(d, 60, put(s, 2048));
    } else {
      db2pages::putLE32(d, 56, put(s, 1024));
    }
    return d;
  }
  std::vector<fictable::Bytes> pages() const
  {
    std::vector<fictable::Bytes> v;
    for (size_t at = 0; at < bytes.size(); at += kPageSize) {
      fictable::Bytes p(kPageSize, 0);
      std::memcpy(p.data(), bytes.data() + at, std::min<size_t>(kPageSize, bytes.size() - at));
      v.push_back(p);
    }
    return v;
  }
};

/* A table of the instance's DMS table space ZAVTEST.<strName>, object id 4. */
struct Table {
  std::string strName;
  std::vector<db2adminColumn> vCatalog;       /* as the catalogue describes it */
  std::vector<fictable::Bytes> vPages;        /* its data object's pages, sealed */
  std::vector<fictable::Bytes> vLobPages;     /* its LOB object's pages, none without LOB object */
};

/*
** The data object's pages of the records: page 0 starts with the data-file
** header, an empty slot, the table directory and the descriptor of
** vStored; each page takes the records that fit it.
*/
inline std::vector<fictable::Bytes> DataPages(const std::vector<db2pages::Column> &vStored,
                                              const std::vector<fictable::Bytes> &vRecords)
{
  std::vector<std::vector<fictable::Bytes>> vSlots(1);
  size_t ulUsed = 16 + 16 + ((db2pages::descriptor(vStored).size() + 3) & ~size_t(3)), ulSlots = 4;
  for (const fictable::Bytes &r : vRecords) {
    size_t ulSize = (r.size() + 3) & ~size_t(3);
    if (db2pages::kSlotDir + 20 + 2 * (ulSlots + 1) + ulUsed + ulSize > kPageSize) {
      vSlots.emplace_back();
      ulUsed = ulSlots = 0;
    }
    vSlots.back().push_back(r);
    ulUsed += ulSize;
    ulSlots++;
  }
  std::vector<fictable::Bytes> v;
  for (size_t p = 0; p < vSlots.size(); p++) {
    fictable::Bytes page =
        p == 0 ? db2pages::firstPage(kPageSize, static_cast<uint32_t>(vSlots.size()), vStored, vSlots[0])
               : db2pages::page(kPageSize, static_cast<uint32_t>(p), vSlots[p]);
    db2empSeal(page.data(), kPageSize);
    v.push_back(page);
  }
  return v;
}

/*
** The instance.  By default the table ZAVTEST.BIG: ulTablePages object
** pages of three rows each; fnPage may change object page p after it is
** made (damage it).  Or the table given.
*/
struct Instance {
  zavtestTempDir dir;
  std::string strError;
  bool boOk = false;

  explicit Instance(uint32_t ulTablePages, const std::function<void(uint32_t, fictable::Bytes &)> &fnPage = nullptr)
  {
    Table t;
    t.strName = "BIG";
    t.vCatalog = {{"R", "INTEGER", false, "", -1}, {"V", "VARCHAR(20)", true, "", -1}, {"C", "CHAR(3)", false, "", -1}};
    for (uint32_t p = 0; p < ulTablePages; p++) {
      fictable::Bytes v = fictable::Page(kPageSize, p, ulTablePages, nullptr);
      if (fnPage) fnPage(p, v);
      t.vPages.push_back(v);
    }
    Build(t);
  }
  explicit Instance(const Table &t) { Build(t); }

  void Build(const Table &t)
  {
    namespace fs = std::filesystem;
    std::string strHome = dir.path + "/home", strData = dir.path + "/data", strTop = dir.path + "/topzav";
    for (const char *pc : {"/home", "/data", "/topzav/bin", "/topzav/cfg", "/topzav/msg", "/run"})
      fs::create_directories(dir.path + pc);
    setenv("DB2INSTANCE", "zavinst", 1);
    setenv("ZAVDB2_INSTHOME", strHome.c_str(), 1);
    struct passwd *ppw = getpwuid(getuid());
    std::string strUser = ppw != nullptr ? ppw->pw_name : "root";
    if (db2adminCreateInstance({"0 " + HostName() + " 0"}, &strError) != 0 ||
        db2adminCreateDatabase("SAMPLE", strData, 819, 1, &strError) != 0 ||
        db2adminCreateTablespace("SAMPLE", "DMSDATA", kTbsId, 'D', 'A', 4, kPageSize, &strError) != 0 ||
        db2adminCreateTable("SAMPLE", "ZAVTEST", t.strName, "DMSDATA", "", kObjId, t.vCatalog, &strError) != 0)
      return;

    /* the table space: extents of 4 pages over two containers; data from
       kFirstData, the LOB object's pages after it */
    const uint32_t ulTablePages = static_cast<uint32_t>(t.vPages.size());
    const uint32_t ulLobPages = static_cast<uint32_t>(t.vLobPages.size());
    const uint32_t ulLobFirst = kFirstData + (ulTablePages + 3) / 4 * 4;
    const uint32_t ulEnd = ulLobFirst + (ulLobPages + 3) / 4 * 4;
    std::string strDb = strData + "/zavinst/NODE0000/SQL00001/";
    fs::create_directories(strDb);
    uint32_t ulExtents = ((ulEnd + 3) / 4 + 2) / 2 * 2 + 2;
    uint32_t ulContPages = ulExtents / 2 * 4 + 64;
    db2spcsTablespace ts;
    ts.sId = kTbsId;
    ts.strName = "DMSDATA";
    ts.ulFlags = FICCONT_TYPE_DMS;
    ts.ulExtentSize = 4;
    ts.ulPageSize = kPageSize;
    ts.vContainers = {{strDb + "c0", 0, ulContPages, ulContPages, kPageSize},
                      {strDb + "c1", 0, ulContPages, ulContPages, kPageSize}};
    db2spcsAddStripe(&ts, ulExtents, {0, 1});
    if (!db2spcsWriteFile(strDb + "SQLSPCS.1", {ts})) {
      strError = "SQLSPCS.1 not written";
      return;
    }
    /* the extent maps: one EMP extent listing the data extents (at 96), one
       for the LOB object's extents (at 88) */
    empSpace sp;
    auto extents = [](uint32_t ulFirst, uint32_t ulPages) {
      std::vector<uint32_t> v;
      for (uint32_t p = 0; p < ulPages; p += 4) v.push_back(ulFirst + p);
      return v;
    };
    auto mapExtent = [&](uint32_t ulEmp, const std::vector<uint32_t> &vExtents) {
      std::vector<std::vector<uint32_t>> vEmpPages;
      const size_t ulPerPage = 500;
      for (size_t i = 0; i < vExtents.size(); i += ulPerPage)
        vEmpPages.emplace_back(vExtents.begin() + static_cast<long>(i),
                               vExtents.begin() + static_cast<long>(std::min(vExtents.size(), i + ulPerPage)));
      if (vEmpPages.size() > 4) strError = "object too large for one EMP extent";
      sp.empExtent(ulEmp, vEmpPages);
    };
    sp.emp(1, {20});
    db2empObject o;
    o.usTbsId = kTbsId, o.usObjId = kObjId, o.ulDataEmp = 96, o.ulFirstData = kFirstData;
    if (ulLobPages > 0) o.usLOBTbsId = kTbsId, o.usLOBObjId = kObjId, o.ulLOBEmp = 88;
    db2empWriteDataPage(sp.page(20), kPageSize, 0, {db2empDataFileHeader(1), {}, {}, {}, db2empObjTabRecord(o)});
    mapExtent(96, extents(kFirstData, ulTablePages));
    if (ulLobPages > 0) mapExtent(88, extents(ulLobFirst, ulLobPages));
    if (!strError.empty()) return;
    for (uint32_t p = 0; p < ulTablePages; p++) std::copy(t.vPages[p].begin(), t.vPages[p].end(), sp.page(kFirstData + p));
    for (uint32_t p = 0; p < ulLobPages; p++)
      std::copy(t.vLobPages[p].begin(), t.vLobPages[p].end(), sp.page(ulLobFirst + p));
    /* the pages into the containers where the table space puts them */
    ochar *pchar = ocharCreate(0, 850);
    ocharAppendFixedS(pchar, ts.strName.data(), static_cast<int32_t>(ts.strName.size()));
    olist *plistCont = nullptr;
    int iRc = ficcontGetLocalPart(&plistCont, "hosta", "SAMPLE", pchar, strDb.c_str(), 0);
    ocharDestroy(pchar);
    if (iRc != 0 || plistCont == nullptr) {
      strError = "containers not described";
      return;
    }
    ficdmsConf *pconf = ficdmsInitConf(static_cast<ficcont *>(plistCont->pitemTop));
    int aiFd[2];
    for (int i = 0; i < 2; i++)
      aiFd[i] = open((strDb + "c" + std::to_string(i)).c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
    for (int i = 0; i < 2; i++)
      if (ftruncate(aiFd[i], static_cast<off_t>(ulContPages) * kPageSize) != 0) strError = "container not sized";
    for (const auto &[ulPage, v] : sp.mapPages) {
      int32_t ilCont = -1;
      int32_t ilAt = ficdmsIdentifyPage(pconf, 0, static_cast<int32_t>(ulPage), &ilCont);
      if (ilAt < 0 || ilCont < 0 || pwrite(aiFd[ilCont], v.data(), v.size(), static_cast<off_t>(ilAt) * kPageSize) !=
                                         static_cast<ssize_t>(v.size()))
        strError = "page " + std::to_string(ulPage) + " not placed";
    }
    for (int fd : aiFd) close(fd);
    ficdmsFreeBuffers(pconf);
    olistDestroy(plistCont);

    std::ofstream cfg(strTop + "/cfg/db2zav.cfg");
    cfg << "db2instance=zavinst\ndb2dbdft=SAMPLE\ninsthomes=zavinst:" << strHome << "\ninstusers=zavinst:" << strUser
        << "\nlanguagecode=en\ncountrycode=US\n"
        << "bufsize=16384\n";   /* small writer buffers: a blocked output holds the whole tree up */
    std::ofstream trace(strTop + "/cfg/db2zav.trace");
    trace << "-- no trace\n";
    boOk = strError.empty() && cfg && trace;
  }

  /* Reads the table through the threaded online reader from now on. */
  void UseOnlineReader() const
  {
    std::ofstream(dir.path + "/topzav/cfg/db2zav.cfg", std::ios::app) << "ptk001=1\n";
  }

  /* The control file of an unload of the table into strOutput with an optional WHERE. */
  std::string Control(const std::string &strOutput, const std::string &strWhere = "") const
  {
    return Control("SELECT R, V, C FROM ZAVTEST.BIG", strOutput, strWhere, "");
  }
  /* The same for a SELECT list and FROM, with more options (LOBFILE ...). */
  std::string Control(const std::string &strSelect, const std::string &strOutput, const std::string &strWhere,
                      const std::string &strOptions) const
  {
    return "GLOBAL CONNECT TO SAMPLE LOCK NO QUIESCE NO ;\n"
           "UNLOAD TABLESPACE DMSDATA\n  " +
           strSelect + (strWhere.empty() ? std::string() : "\n  WHERE " + strWhere) +
           " ;\n"
           "  OUTPUT(\"" +
           strOutput + "\")\n  " + strOptions + "\n  FORMAT DEL\n;\n";
  }
};

/* A running db2zav: its process (leader of its own group), its sysprint file. */
struct Program {
  pid_t pid = -1;
  std::string strSysprint;
  std::chrono::steady_clock::time_point tpStart;

  Program(const Instance &inst, const std::string &strControl, bool boLeakCheck = false)
  {
    std::string strCtl = inst.dir.path + "/run/unload.ctl";
    {
      std::ofstream ctl(strCtl);
      ctl << strControl;
    }
    strSysprint = inst.dir.path + "/run/sysprint";
    zavprocSpec spec;
    spec.strPath = ZAV_BINARY_DIR "/driver/db2zav";
    spec.vArgv = {"db2zav", "-f", strCtl};
    spec.mEnv = {{"PATH", "/usr/bin:/bin"}, {"LANG", "C"}, {"TOPZAV", inst.dir.path + "/topzav"},
                 {"ZAVDB2_INSTHOME", inst.dir.path + "/home"}, {"DB2INSTANCE", "zavinst"},
                 {"ASAN_OPTIONS", boLeakCheck ? "detect_leaks=1:fast_unwind_on_malloc=0" : "detect_leaks=0"}};
    spec.strCwd = inst.dir.path + "/run";
    spec.strOutFile = strSysprint;
    spec.boNewGroup = true;
    tpStart = std::chrono::steady_clock::now();
    pid = zavprocSpawn(spec);
  }

  /* Waits at most iSeconds; the exit status (or 128 + signal), -1 when it had to be killed. */
  int Wait(int iSeconds = 60)
  {
    for (int i = 0; i < iSeconds * 200; i++) {
      int iStatus = 0;
      pid_t p = waitpid(pid, &iStatus, WNOHANG);
      if (p == pid) {
        pid = -1;
        return WIFEXITED(iStatus) ? WEXITSTATUS(iStatus) : 128 + WTERMSIG(iStatus);
      }
      usleep(5000);
    }
    kill(-pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    pid = -1;
    return -1;
  }
  double Seconds() const
  {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - tpStart).count();
  }
  std::string Sysprint() const
  {
    std::vector<unsigned char> v = zavtestReadFile(strSysprint);
    return std::string(v.begin(), v.end());
  }
  ~Program()
  {
    if (pid > 0) {
      kill(-pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }
  Program(const Program &) = delete;
  Program &operator=(const Program &) = delete;
};

/* ---------------------------------------------------------- process tree */

/* The text of a /proc file, empty when it cannot be read (the process went). */
inline std::string ProcText(const std::string &strPath)
{
  std::vector<unsigned char> v = zavtestReadFile(strPath);
  return std::string(v.begin(), v.end());
}

/* Parent of every process: pid -> ppid. */
inline std::map<pid_t, pid_t> Parents()
{
  std::map<pid_t, pid_t> map;
  DIR *pdir = opendir("/proc");
  if (pdir == nullptr) return map;
  while (struct dirent *pent = readdir(pdir)) {
    pid_t pid = static_cast<pid_t>(std::atoi(pent->d_name));
    if (pid <= 0) continue;
    std::string str = ProcText("/proc/" + std::string(pent->d_name) + "/stat");
    size_t ul = str.rfind(')');
    if (ul == std::string::npos) continue;
    std::istringstream is(str.substr(ul + 2));
    char cState;
    pid_t ppid;
    if (is >> cState >> ppid) map[pid] = ppid;
  }
  closedir(pdir);
  return map;
}

/* The children of pid. */
inline std::vector<pid_t> Children(pid_t pid)
{
  std::vector<pid_t> v;
  for (const auto &[p, pp] : Parents())
    if (pp == pid) v.push_back(p);
  return v;
}

/* pid and every process below it. */
inline std::set<pid_t> Tree(pid_t pid)
{
  std::map<pid_t, pid_t> map = Parents();
  std::set<pid_t> set{pid};
  for (bool boMore = true; boMore;) {
    boMore = false;
    for (const auto &[p, pp] : map)
      if (set.count(pp) && !set.count(p)) {
        set.insert(p);
        boMore = true;
      }
  }
  return set;
}

/*
** True when the process exists and one of its threads is not a zombie: a
** process killed outright shows its first thread as a zombie while the
** others still end, holding its memory and its attached segments.
*/
inline bool Alive(pid_t pid)
{
  auto running = [](const std::string &strStat) {
    size_t ul = strStat.rfind(')');
    return ul != std::string::npos && ul + 2 < strStat.size() && strStat[ul + 2] != 'Z' && strStat[ul + 2] != 'X';
  };
  std::string strDir = "/proc/" + std::to_string(pid);
  if (running(ProcText(strDir + "/stat"))) return true;
  DIR *pdir = opendir((strDir + "/task").c_str());
  if (pdir == nullptr) return false;
  bool boRunning = false;
  while (struct dirent *pent = readdir(pdir))
    if (pent->d_name[0] != '.' && running(ProcText(strDir + "/task/" + pent->d_name + "/stat"))) boRunning = true;
  closedir(pdir);
  return boRunning;
}

/* True when the process has a descriptor open on strPath. */
inline bool HasOpen(pid_t pid, const std::string &strPath)
{
  std::string strDir = "/proc/" + std::to_string(pid) + "/fd";
  DIR *pdir = opendir(strDir.c_str());
  if (pdir == nullptr) return false;
  bool boFound = false;
  while (struct dirent *pent = readdir(pdir)) {
    char ac[4096];
    ssize_t l = readlink((strDir + "/" + pent->d_name).c_str(), ac, sizeof ac - 1);
    if (l > 0 && std::string(ac, static_cast<size_t>(l)) == strPath) boFound = true;
  }
  closedir(pdir);
  return boFound;
}

/* ------------------------------------------------------------ SysV objects */

/* Rows of /proc/sysvipc/<kind> as column name -> value. */
inline std::vector<std::map<std::string, long long>> SysvRows(const char *pcKind)
{
  std::vector<std::map<std::string, long long>> v;
  std::ifstream in(std::string("/proc/sysvipc/") + pcKind);
  std::string strLine;
  std::vector<std::string> vNames;
  if (!std::getline(in, strLine)) return v;
  std::istringstream isHead(strLine);
  for (std::string str; isHead >> str;) vNames.push_back(str);
  while (std::getline(in, strLine)) {
    std::istringstream is(strLine);
    std::map<std::string, long long> row;
    for (const std::string &strName : vNames) {
      long long ll = 0;
      if (!(is >> ll)) break;
      row[strName] = ll;
    }
    v.push_back(row);
  }
  return v;
}

/* The SysV objects a run made, seen while it runs. */
struct SysvObjects {
  std::set<long long> setShm, setSem, setMsg;
  bool empty() const { return setShm.empty() && setSem.empty() && setMsg.empty(); }
};

/*
** The run's objects: its message queue (key tag 0x5A.. over the main
** process id), the segments its processes created, the semaphore sets
** those segments name (a channel keeps its set's id at byte 68, a group's
** id + 1 at byte 64) and those the run's registry segment lists ("ZAVR",
** the count of entries at byte 12, entries of 8 bytes from byte 24: kind,
** 1 for a semaphore set, then the id).
*/
inline SysvObjects Objects(pid_t pidMain, const std::set<pid_t> &setTree)
{
  SysvObjects obj;
  for (auto &row : SysvRows("msg")) {
    long long llKey = row["key"];
    if ((llKey & 0xFFFFFF) == (pidMain & 0xFFFFFF) && ((llKey >> 24) & 0x7F) >= 0x5A) obj.setMsg.insert(row["msqid"]);
  }
  for (auto &row : SysvRows("shm")) {
    if (!setTree.count(static_cast<pid_t>(row["cpid"]))) continue;
    long long llId = row["shmid"];
    obj.setShm.insert(llId);
    void *p = shmat(static_cast<int>(llId), nullptr, SHM_RDONLY);
    if (p == reinterpret_cast<void *>(-1)) continue;
    const unsigned char *puc = static_cast<const unsigned char *>(p);
    if (std::memcmp(puc, "ZAVR", 4) == 0) {
      auto le32 = [](const unsigned char *pucAt) {
        return static_cast<int32_t>(pucAt[0] | pucAt[1] << 8 | pucAt[2] << 16 | static_cast<uint32_t>(pucAt[3]) << 24);
      };
      int32_t ilCount = le32(puc + 12);
      for (int32_t i = 0; i < ilCount && i < 8189; i++)
        if (le32(puc + 24 + 8 * i) == 1) obj.setSem.insert(le32(puc + 24 + 8 * i + 4));
      shmdt(p);
      continue;
    }
    int32_t ilSem, ilGroup;
    std::memcpy(&ilSem, puc + 68, 4);
    std::memcpy(&ilGroup, puc + 64, 4);
    obj.setSem.insert(ilSem);
    if (ilGroup > 0) obj.setSem.insert(ilGroup - 1);
    shmdt(p);
  }
  return obj;
}

/*
** The segments of the run's processes not yet marked for removal, the
** registry ("ZAVR") apart. A segment is marked (SHM_DEST, 01000 in the
** mode /proc prints in octal) once every process that uses it has it.
*/
inline std::set<long long> UnmarkedSegments(const std::set<pid_t> &setTree)
{
  std::set<long long> set;
  for (auto &row : SysvRows("shm")) {
    if (!setTree.count(static_cast<pid_t>(row["cpid"]))) continue;
    if ((row["perms"] / 1000) & 1) continue;   /* octal text read as decimal: the 01000 digit */
    long long llId = row["shmid"];
    void *p = shmat(static_cast<int>(llId), nullptr, SHM_RDONLY);
    if (p == reinterpret_cast<void *>(-1)) continue;
    bool boRegistry = std::memcmp(p, "ZAVR", 4) == 0;
    shmdt(p);
    if (!boRegistry) set.insert(llId);
  }
  return set;
}

/* Those of the objects that still exist. */
inline SysvObjects Left(const SysvObjects &obj)
{
  SysvObjects left;
  std::set<long long> setShm, setSem, setMsg;
  for (auto &row : SysvRows("shm")) setShm.insert(row["shmid"]);
  for (auto &row : SysvRows("sem")) setSem.insert(row["semid"]);
  for (auto &row : SysvRows("msg")) setMsg.insert(row["msqid"]);
  for (long long ll : obj.setShm)
    if (setShm.count(ll)) left.setShm.insert(ll);
  for (long long ll : obj.setSem)
    if (setSem.count(ll)) left.setSem.insert(ll);
  for (long long ll : obj.setMsg)
    if (setMsg.count(ll)) left.setMsg.insert(ll);
  return left;
}

}  // namespace procinst

#endif
