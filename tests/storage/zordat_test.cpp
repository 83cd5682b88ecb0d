/*
** zordat_test.cpp
**   The threaded online reader over table spaces laid out on disk in a
**   temporary directory: a DMS table space of three striped containers
**   (control-file record from tools/db2spcs.h, object table and extent map
**   from tools/db2emp.h, data pages from tools/db2pages.h, one page torn)
**   and a small SMS table.  Every page must come once, restored, with the
**   pages of an extent together and each container's extents in map order;
**   read-absolute, a container that cannot be read, a stop in the middle and
**   an empty extent map are covered.  Every call that may block runs under a
**   watchdog, so that a hang fails the test instead of stalling it.
*/
#include "storage/zordat.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <fstream>
#include <netdb.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "common/obyte.h"
#include "common/ochar.h"
#include "storage/ficcont.h"
#include "storage/ficdb2.h"
#include "storage/zorts.h"
#include "io/authkey.h"
#include "io/socket.h"
#include "model/tools.h"
#include "tests/zavtest.h"
#include "tools/db2emp.h"
#include "tools/db2pages.h"
#include "tools/db2spcs.h"

namespace {

using db2pages::Bytes;

const uint32_t P = 4096;
const uint32_t X_EXTENT = 4;   /* extent size of the DMS table space */

/* Runs fn, aborting the test program when it has not returned within 20 seconds. */
template <typename Fn>
void Bounded(Fn fn)
{
  std::mutex m;
  std::condition_variable cv;
  bool boDone = false;
  std::thread watchdog([&] {
    std::unique_lock<std::mutex> lock(m);
    if (!cv.wait_for(lock, std::chrono::seconds(20), [&] { return boDone; })) {
      std::fprintf(stderr, "online reader did not return within 20 seconds\n");
      std::abort();
    }
  });
  fn();
  {
    std::lock_guard<std::mutex> lock(m);
    boDone = true;
  }
  cv.notify_all();
  watchdog.join();
}

/* A page whose sectors start with alternating bits, sealed so that restoring it changes nothing. */
Bytes Sealed(Bytes v)
{
  for (size_t s = 1; s < v.size() / 512; s++) v[s * 512] = static_cast<unsigned char>((v[s * 512] & ~1u) | (s & 1));
  db2empSeal(v.data(), static_cast<uint32_t>(v.size()));
  return v;
}

const std::vector<db2pages::Column> gcols = {{1, 4, false}, {257, 30, true}, {265, 64, true}};

/*
** A table on disk: the pages by their number (DMS: table-space page; SMS:
** table page), the pages as stored (some torn), the partition record.
*/
struct Space {
  zavtestTempDir dir;
  std::string strDb;
  uint32_t X = 4;
  db2spcsTablespace ts;
  std::map<uint32_t, Bytes> mapExpected;   /* page -> page as it must be handed out */
  std::map<uint32_t, Bytes> mapStored;     /* page -> bytes in the container */
  std::map<uint32_t, uint32_t> mapObjPage; /* object page -> page */
  ficcont *prec = nullptr;
  uint32_t ulPageCount = 0;

  Space() { strDb = dir.path + "/"; }
  ~Space() { ficcontDestroy(prec); }

  void Put(uint32_t ulPage, const Bytes &v, bool boTear = false)
  {
    mapExpected[ulPage] = Sealed(v);
    Bytes vStored = mapExpected[ulPage];
    if (boTear) db2pages::tear(vStored, 1);
    mapStored[ulPage] = vStored;
  }

  /* Object page p of the table at page ulPage: page 0 holds the header and descriptor. */
  void PutObjPage(uint32_t p, uint32_t ulPage, bool boTear = false)
  {
    mapObjPage[p] = ulPage;
    if (p == 0)
      Put(ulPage, db2pages::firstPage(P, ulPageCount, gcols, {}), boTear);
    else
      Put(ulPage, db2pages::page(P, p, {db2pages::other(1, 24 + p)}), boTear);
  }

  void Decode()
  {
    std::vector<unsigned char> v = db2spcsRecord(ts);
    ochar *pchar = ocharCreate(0, 850);
    ocharAppendFixedS(pchar, ts.strName.data(), static_cast<int32_t>(ts.strName.size()));
    prec = ficcontCreate();
    int iFound = 0;
    ASSERT_EQ(0, ficcontGetTBSSegment(v.data(), "localhost", pchar, strDb.c_str(), 0, prec, &iFound));
    ASSERT_EQ(1, iFound);
    ocharDestroy(pchar);
  }

  std::string ContPath(size_t i) const { return strDb + ts.vContainers[i].strPath; }

  void WriteFile(const std::string &strPath, const std::vector<int64_t> &vPages)
  {
    FILE *pf = std::fopen(strPath.c_str(), "wb");
    ASSERT_NE(nullptr, pf);
    Bytes vZero(P, 0);
    for (int64_t l : vPages) {
      auto it = l < 0 ? mapStored.end() : mapStored.find(static_cast<uint32_t>(l));
      const Bytes &v = it == mapStored.end() ? vZero : it->second;
      ASSERT_EQ(1u, std::fwrite(v.data(), P, 1, pf));
    }
    std::fclose(pf);
  }
};

/*
** DMS: 3 containers of one-page headers, one stripe of 24 extents over
** [0, 1, 2] (extent e in container e mod 3, row e div 3).  Page 1: the
** object table's EMP (its page 0 at page 4); object 4's record in slot 4;
** its extent map at page 8; its data extents vExtents in map order.
*/
struct DmsSpace : Space {
  std::vector<uint32_t> vExtents;

  DmsSpace(const std::vector<uint32_t> &vData, uint32_t ulPages, std::set<uint32_t> setTorn = {},
           bool boLongField = false)
  {
    vExtents = vData;
    ulPageCount = ulPages;
    ts.sId = 3;
    ts.strName = "DMSDATA";
    ts.ulFlags = FICCONT_TYPE_DMS;
    ts.ulExtentSize = X;
    ts.ulPageSize = P;
    for (int i = 0; i < 3; i++) {
      db2spcsContainer c;
      c.strPath = "c" + std::to_string(i);
      c.ulPages = 1 + 8 * X;
      c.ulUsable = 8 * X;
      c.ulPageSize = P;
      ts.vContainers.push_back(c);
    }
    db2spcsAddStripe(&ts, 24, {0, 1, 2});
    Bytes v(P);
    db2empWriteEMP(v.data(), P, 0, {4});
    Put(1, v);
    db2empObject o;
    o.usTbsId = 3;
    o.usObjId = 4;
    o.ulDataEmp = 8;
    o.ulFirstData = vData.empty() ? 0 : vData[0] * X;
    if (boLongField) {
      /* a long-field object of the same id whose extent map (extent 20) lists extent 21 */
      o.usLFTbsId = 3;
      o.usLFObjId = 4;
      o.ulLFEmp = 20 * X;
      db2empWriteEMP(v.data(), P, 0, {21 * X});
      Put(20 * X, v);
      for (uint32_t k = 1; k < X; k++) {
        db2empWriteEMP(v.data(), P, 0, {});
        Put(20 * X + k, v);
      }
    }
    std::vector<std::vector<unsigned char>> vRecs = {db2empDataFileHeader(1), {}, {}, {}, db2empObjTabRecord(o)};
    db2empWriteDataPage(v.data(), P, 0, vRecs);
    Put(4, v);
    std::vector<uint32_t> vAllocs;
    for (uint32_t e : vData) vAllocs.push_back(e * X);
    db2empWriteEMP(v.data(), P, 0, vAllocs);
    Put(8, v);
    for (uint32_t k = 9; k < 12; k++) {
      db2empWriteEMP(v.data(), P, 0, {});
      Put(k, v);
    }
    for (uint32_t p = 0; p < ulPages; p++) PutObjPage(p, vData[p / X] * X + p % X, setTorn.count(p) != 0);
    Decode();
  }

  void Write()
  {
    for (size_t i = 0; i < 3; i++) {
      std::vector<int64_t> vPages = {-1};
      for (uint32_t e = static_cast<uint32_t>(i); e < 24; e += 3)
        for (uint32_t r = 0; r < X; r++) vPages.push_back(e * X + r);
      WriteFile(ContPath(i), vPages);
    }
  }
};

/* A table-space object over an access object, as the table-space object module makes it. */
struct Online {
  zordat *pzordat = nullptr;
  zorts ts = {};

  explicit Online(Space &sp, int32_t ilObjId)
  {
    int iCode = -1;
    pzordat = zordatCreate(sp.prec, nullptr, sp.prec->sTbsId, ilObjId, "", nullptr, &iCode);
    EXPECT_EQ(0, iCode);
    ts.iSource = ZORTS_SOURCE_ONLINE;
    ts.pzordat = pzordat;
    ts.pfnReadNext = zordatReadNextDat;
    ts.pfnReadAbs = zordatReadAbsDatPage;
  }
  ~Online()
  {
    Bounded([&] { zordatPSDestroy(static_cast<zordatPS *>(ts.pPageSource)); });
    zordatDestroy(pzordat);
    free(ts.tbdesc.pcolumns);
  }
  zordatPS *PS() { return static_cast<zordatPS *>(ts.pPageSource); }

  /* Reads to the end; returns the pages and the final code. */
  std::vector<Bytes> ReadAll(int *piCode)
  {
    std::vector<Bytes> v;
    Bounded([&] {
      for (;;) {
        unsigned char *puc = zordatReadNextDat(&ts, piCode);
        if (puc == nullptr && *piCode == 0) continue;
        if (puc == nullptr) break;
        v.emplace_back(puc, puc + P);
        if (v.size() > 1000) break;
      }
    });
    return v;
  }
};

/* Object page number of a handed-out page. */
uint32_t ObjPage(const Bytes &v) { return obyteGetLE32(v.data() + 28); }

TEST(ZordatDms, EveryPageOnceRestoredInExtentAndContainerOrder)
{
  /* extents out of container order; the last one holds 2 of the table's pages, the rest lies past it */
  DmsSpace sp({5, 3, 9, 4, 13, 7, 11}, 26, {0, 6, 25});
  sp.Write();
  Online on(sp, 4);
  int iCode = -1;
  ASSERT_NE(nullptr, zordatOpenPSDat(&on.ts, 0, &iCode));
  ASSERT_EQ(0, iCode);
  EXPECT_EQ(26, on.ts.ilPageCount);
  EXPECT_EQ(3, on.ts.tbdesc.sColumnCount);
  EXPECT_EQ(static_cast<int32_t>(X_EXTENT), on.ts.ilExtentSize);
  EXPECT_EQ(static_cast<int32_t>(P), on.ts.ilPageSize);
  EXPECT_EQ(sp.prec->ulFlags, on.ts.ulTbsFlags);
  zordatCloseFiles(&on.ts);
  ASSERT_EQ(0, zordatLaunchPS(&on.ts));
  EXPECT_EQ(3, on.PS()->ilReaders);
  EXPECT_EQ(6, on.PS()->ilBuffers);

  std::vector<Bytes> v = on.ReadAll(&iCode);
  EXPECT_EQ(ZORTS_RC_ENDEMP, iCode);
  ASSERT_EQ(26u, v.size());
  std::set<uint32_t> setSeen;
  std::map<uint32_t, int32_t> mapLastRowOfCont;   /* container -> last extent index seen */
  for (size_t i = 0; i < v.size(); i++) {
    uint32_t p = ObjPage(v[i]);
    ASSERT_TRUE(setSeen.insert(p).second) << "page " << p << " handed out twice";
    ASSERT_LT(p, 26u);
    EXPECT_EQ(sp.mapExpected[sp.mapObjPage[p]], v[i]) << "object page " << p;
    if (p % X_EXTENT != 0 && i > 0) {
      EXPECT_EQ(p - 1, ObjPage(v[i - 1])) << "pages of an extent come together and in order";
    } else {
      int32_t ilIndex = static_cast<int32_t>(p / X_EXTENT);
      uint32_t ulCont = sp.vExtents[ilIndex] % 3;
      if (mapLastRowOfCont.count(ulCont)) {
        EXPECT_LT(mapLastRowOfCont[ulCont], ilIndex);
      }
      mapLastRowOfCont[ulCont] = ilIndex;
    }
  }
  /* the end stays the end */
  EXPECT_EQ(nullptr, zordatReadNextDat(&on.ts, &iCode));
  EXPECT_EQ(ZORTS_RC_ENDEMP, iCode);
}

TEST(ZordatDms, ReadAbsoluteFromTheContainerCache)
{
  DmsSpace sp({3, 4}, 8, {5});
  sp.Write();
  Online on(sp, 4);
  int iCode = -1;
  /* four pages from the start of extent 4, restored: object page 5 was torn */
  unsigned char *puc = zordatReadAbsDatPage(&on.ts, 16, nullptr, 4, ZORTS_READ_RESTORE, &iCode);
  ASSERT_NE(nullptr, puc);
  EXPECT_EQ(0, iCode);
  for (uint32_t i = 0; i < 4; i++)
    EXPECT_EQ(0, memcmp(sp.mapExpected[16 + i].data(), puc + i * P, P)) << "page " << 16 + i;
  /* into the caller's buffer, without restoring: the torn page as stored */
  ASSERT_EQ(puc, zordatReadAbsDatPage(&on.ts, 17, puc, 1, 0, &iCode));
  EXPECT_EQ(0, memcmp(sp.mapStored[17].data(), puc, P));
  EXPECT_NE(0, memcmp(sp.mapExpected[17].data(), puc, P));
  /* another container, then back to the first extent's container */
  ASSERT_EQ(puc, zordatReadAbsDatPage(&on.ts, 1, puc, 1, ZORTS_READ_RESTORE, &iCode));
  EXPECT_EQ(0, memcmp(sp.mapExpected[1].data(), puc, P));
  ASSERT_EQ(puc, zordatReadAbsDatPage(&on.ts, 12, puc, 1, ZORTS_READ_RESTORE, &iCode));
  EXPECT_EQ(0, memcmp(sp.mapExpected[12].data(), puc, P));
  free(puc);
  /* pages across an extent boundary, and an extent beyond the stripes */
  EXPECT_EQ(nullptr, zordatReadAbsDatPage(&on.ts, 14, nullptr, 3, 0, &iCode));
  EXPECT_EQ(ORC_INVALID, iCode);
  EXPECT_EQ(nullptr, zordatReadAbsDatPage(&on.ts, 24 * X_EXTENT, nullptr, 1, 0, &iCode));
  EXPECT_EQ(ORC_INVALID, iCode);
  /* a container cut short: the extent past its end is a read error, not stale bytes */
  std::filesystem::resize_file(sp.ContPath(2), (1 + 2 * X_EXTENT) * P);   /* rows 0 and 1 of container 2 */
  zordatCloseFiles(&on.ts);
  unsigned char *pucKept = zordatReadAbsDatPage(&on.ts, 5 * X_EXTENT, nullptr, 1, 0, &iCode);
  EXPECT_NE(nullptr, pucKept);
  free(pucKept);
  EXPECT_EQ(nullptr, zordatReadAbsDatPage(&on.ts, 8 * X_EXTENT, nullptr, 1, 0, &iCode));
  EXPECT_EQ(ZORDAT_RC_READ, iCode);
  /* a container that cannot be opened */
  std::filesystem::remove(sp.ContPath(1));
  zordatCloseFiles(&on.ts);
  zavtestMessages([&] { EXPECT_EQ(nullptr, zordatReadAbsDatPage(&on.ts, 4 * X_EXTENT, nullptr, 1, 0, &iCode)); });
  EXPECT_EQ(TOOLS_RC_IO | ENOENT, iCode);
}

TEST(ZordatDms, ContainerReadErrorsReachTheConsumer)
{
  struct Case {
    const char *pcName;
    bool boRemove;       /* container 1 removed: its reader cannot open it */
    uint64_t ullCut;     /* else container 1 cut to this many bytes */
  } aCases[] = {
      {"container missing", true, 0},
      {"container cut before an extent", false, (1 + 1 * 4) * P},
  };
  for (const Case &c : aCases) {
    SCOPED_TRACE(c.pcName);
    DmsSpace sp({3, 4, 5, 6, 7, 8}, 24);   /* extents 4 and 7 lie in container 1, rows 1 and 2 */
    sp.Write();
    Online on(sp, 4);
    int iCode = -1;
    ASSERT_NE(nullptr, zordatOpenPSDat(&on.ts, 0, &iCode));
    zordatCloseFiles(&on.ts);
    if (c.boRemove)
      std::filesystem::remove(sp.ContPath(1));
    else
      std::filesystem::resize_file(sp.ContPath(1), c.ullCut);
    zavtestMessages([&] {
      ASSERT_EQ(0, zordatLaunchPS(&on.ts));
      std::vector<Bytes> v = on.ReadAll(&iCode);
      EXPECT_LT(v.size(), 24u);
    });
    EXPECT_EQ(ZORTS_RC_READ, iCode);
  }
}

TEST(ZordatDms, StopInTheMiddleJoinsEveryThread)
{
  for (int32_t ilBuffers : {1, 0}) {
    SCOPED_TRACE(ilBuffers);
    DmsSpace sp({3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, 40);
    sp.Write();
    Online on(sp, 4);
    int iCode = -1;
    /* one buffer: the dispatcher waits for a free buffer while the consumer holds it */
    ASSERT_NE(nullptr, zordatOpenPSDat(&on.ts, ilBuffers, &iCode));
    ASSERT_EQ(0, zordatLaunchPS(&on.ts));
    Bounded([&] {
      for (int i = 0; i < 5; i++) ASSERT_NE(nullptr, zordatReadNextDat(&on.ts, &iCode));
    });
    /* the destructor stops the page source under the watchdog */
  }
}

TEST(ZordatDms, EmptyExtentMapEndsAtOnce)
{
  DmsSpace sp({}, 0);
  sp.Write();
  Online on(sp, 4);
  int iCode = -1;
  ASSERT_NE(nullptr, zordatOpenPSDat(&on.ts, 0, &iCode));
  ASSERT_EQ(0, zordatLaunchPS(&on.ts));
  EXPECT_TRUE(on.ReadAll(&iCode).empty());
  EXPECT_EQ(ZORTS_RC_ENDEMP, iCode);
}

TEST(ZordatDms, LongObjectsTakeTheirIdsFromTheObjectTable)
{
  DmsSpace sp({3}, 4, {}, true);
  sp.Write();
  Online on(sp, 4);
  int iCode = -1;
  zordatPS *pps = zordatOpenPSDat(&on.ts, 0, &iCode);
  ASSERT_NE(nullptr, pps);
  EXPECT_EQ(4, on.pzordat->pzordatLF->ilObjId);
  EXPECT_EQ(3, on.pzordat->pzordatLF->ilTbsId);
  EXPECT_EQ(ZORDAT_FLAG_LF, on.pzordat->ilFlags);   /* LOB object id 0: no LOB object */
  zorts tsLF = {}, tsLOB = {};
  tsLF.pzordat = on.pzordat->pzordatLF;
  tsLOB.pzordat = on.pzordat->pzordatLOB;
  zordatPS *ppsLF = zordatOpenPSLf(pps, &tsLF, 0, &iCode);
  ASSERT_NE(nullptr, ppsLF);
  EXPECT_EQ(0, iCode);
  EXPECT_EQ(tsLF.pPageSource, ppsLF);
  EXPECT_EQ(zordatReadAbsDatPage, tsLF.pfnReadAbs);
  uint32_t ulExtent = 0;
  ASSERT_NE(nullptr, ppsLF->pempIterator);
  EXPECT_EQ(0, zortsGetNextExtentPos(&tsLF, ppsLF->pempIterator, &ulExtent));
  EXPECT_EQ(21u, ulExtent);
  EXPECT_EQ(ZORTS_RC_ENDEMP, zortsGetNextExtentPos(&tsLF, ppsLF->pempIterator, &ulExtent));
  zordatPS *ppsLOB = zordatOpenPSLob(pps, &tsLOB, 0, &iCode);
  ASSERT_NE(nullptr, ppsLOB);
  EXPECT_EQ(0, iCode);
  EXPECT_EQ(nullptr, ppsLOB->pempIterator);
  zordatPSLobLfDestroy(ppsLF);
  zordatPSLobLfDestroy(ppsLOB);
  zordatCloseFiles(&on.ts);
}

TEST(ZordatDms, ObjectNotInTheObjectTable)
{
  DmsSpace sp({3}, 4);
  sp.Write();
  Online on(sp, 5);
  int iCode = 0;
  EXPECT_EQ(nullptr, zordatOpenPSDat(&on.ts, 0, &iCode));
  EXPECT_NE(0, iCode);
  EXPECT_EQ(nullptr, on.ts.pPageSource);
}

/*
** SMS: file id 7 over two container directories, extent x of the table in
** container (7 + x) mod 2; the last file ends with a partial extent.
*/
struct SmsSpace : Space {
  SmsSpace(uint32_t ulExtent, uint32_t ulPages, int iContainers)
  {
    X = ulExtent;
    ulPageCount = ulPages;
    ts.sId = 2;
    ts.strName = "USERSPACE1";
    ts.ulFlags = FICCONT_TYPE_SMS;
    ts.ulExtentSize = X;
    ts.ulPageSize = P;
    for (int i = 0; i < iContainers; i++) {
      db2spcsContainer c;
      c.strPath = "d" + std::to_string(i);
      std::filesystem::create_directory(strDb + c.strPath);
      ts.vContainers.push_back(c);
    }
    for (uint32_t p = 0; p < ulPages; p++) PutObjPage(p, p, p == 1);
    Decode();
    for (int i = 0; i < iContainers; i++) {
      std::vector<int64_t> vPages;
      for (uint32_t p = 0; p < ulPages; p++)
        if ((7 + p / X) % iContainers == static_cast<uint32_t>(i)) vPages.push_back(p);
      WriteFile(ContPath(i) + "/SQL00007.DAT", vPages);
    }
  }
};

TEST(ZordatSms, TablesOfOneAndOfSeveralExtents)
{
  struct Case {
    uint32_t ulExtent, ulPages;
    int iContainers;
  } aCases[] = {{32, 1, 1}, {4, 10, 2}};
  for (const Case &c : aCases) {
    SCOPED_TRACE(c.ulPages);
    SmsSpace sp(c.ulExtent, c.ulPages, c.iContainers);
    Online on(sp, 7);
    EXPECT_EQ(ZORTS_TYPE_SMS, zordatDetermineType(on.pzordat));
    EXPECT_STREQ((sp.ContPath(0) + "/SQL00007.DAT").c_str(), on.pzordat->pconts[0].pcFileName);
    EXPECT_STREQ((sp.ContPath(0) + "/SQL00007.LB").c_str(), on.pzordat->pzordatLOB->pconts[0].pcFileName);
    int iCode = -1;
    ASSERT_NE(nullptr, zordatOpenPSDat(&on.ts, 0, &iCode));
    EXPECT_EQ(static_cast<int32_t>(c.ulPages), on.ts.ilPageCount);
    zordatCloseFiles(&on.ts);
    ASSERT_EQ(0, zordatLaunchPS(&on.ts));
    std::vector<Bytes> v = on.ReadAll(&iCode);
    EXPECT_EQ(ZORTS_RC_ENDEMP, iCode);
    ASSERT_EQ(c.ulPages, v.size());
    std::set<uint32_t> setSeen;
    for (const Bytes &b : v) {
      EXPECT_TRUE(setSeen.insert(ObjPage(b)).second);
      EXPECT_EQ(sp.mapExpected[ObjPage(b)], b);
    }
  }
}

/*
** The daemon of a remote host, played by a forked process on an ephemeral
** port (found through ZAV_DAEMON_PORT) that serves every connection in a
** child of its own with the real service side; its process group is
** killed at the end.
*/
struct Daemon {
  pid_t pid = -1;
  std::string strTop;
  /* The space's directory is the database tree of an instance named after
     it, whose secret the daemon and this process share; the daemon serves
     as the instance user (nobody when the test runs as root). */
  explicit Daemon(const std::string &strDbDir)
  {
    std::string strDir = strDbDir.substr(0, strDbDir.find_last_not_of('/') + 1);
    std::string strParent = strDir.substr(0, strDir.rfind('/'));
    std::string strInstance = strDir.substr(strDir.rfind('/') + 1);
    passwd *ppw = getpwuid(geteuid());
    std::string strUser = geteuid() == 0 ? "nobody" : (ppw != nullptr ? ppw->pw_name : "");
    strTop = strDir + "/top";
    std::filesystem::create_directories(strTop + "/cfg");
    std::filesystem::create_directories(strDir + "/home");
    std::ofstream(strTop + "/cfg/db2zav.cfg") << "insthomes=" << strInstance << ":" << strDir
                                              << "/home\ninstusers=" << strInstance << ":" << strUser
                                              << "\ndbpaths=" << strInstance << ":" << strParent << "\n";
    for (const std::string &str : {strDir, strTop, strTop + "/cfg", strDir + "/home"}) chmod(str.c_str(), 0755);
    setenv("TOPZAV", strTop.c_str(), 1);
    setenv("DB2INSTANCE", strInstance.c_str(), 1);
    std::string strPath, strWhy;
    int boCreated = 0;
    EXPECT_EQ(authkeyCreate(strInstance.c_str(), &strPath, &boCreated, &strWhy), 0) << strWhy;
    servent se{};
    char acProto[] = "tcp";
    se.s_proto = acProto;
    char *pcErr = nullptr;
    int iListen = iSOCKETcreate(&se, &pcErr);
    EXPECT_GE(iListen, 0);
    EXPECT_EQ(0, iSOCKETlisten(iListen, 16, &pcErr));
    sockaddr_in addr{};
    socklen_t len = sizeof(addr);
    getsockname(iListen, reinterpret_cast<sockaddr *>(&addr), &len);
    setenv(SOCKET_PORT_ENV, std::to_string(ntohs(addr.sin_port)).c_str(), 1);
    pid = fork();
    if (pid == 0) {
      setpgid(0, 0);
      signal(SIGCHLD, SIG_IGN);   /* service children are reaped by the system */
      alarm(60);
      for (;;) {
        unsigned char aucAddress[16];
        int fd = iSOCKETaccept(iListen, aucAddress, &pcErr);
        if (fd < 0) continue;
        if (fork() == 0) {
          close(iListen);
          iSOCKETdoService(fd, &pcErr);
          _exit(0);
        }
        close(fd);
      }
    }
    setpgid(pid, pid);
    close(iListen);
  }
  ~Daemon()
  {
    if (pid > 0) {
      kill(-pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    unsetenv(SOCKET_PORT_ENV);
    unsetenv("TOPZAV");
    unsetenv("DB2INSTANCE");
  }
};

/* The instance user the daemon serves as. */
std::string CurrentUser()
{
  passwd *ppw = getpwuid(geteuid());
  return geteuid() == 0 ? "nobody" : (ppw != nullptr ? ppw->pw_name : "");
}

TEST(ZordatRemote, OneReaderForAllContainersInMapOrder)
{
  DmsSpace sp({5, 3, 9, 4, 13, 7, 11}, 26, {6});
  sp.Write();
  sp.prec->ilRemote = 1;
  Daemon daemon(sp.strDb);
  int iCode = -1;
  zordat *pzordat = zordatCreate(sp.prec, nullptr, 3, 4, CurrentUser().c_str(), nullptr, &iCode);
  ASSERT_NE(nullptr, pzordat);
  zorts ts = {};
  ts.pzordat = pzordat;
  Bounded([&] { ASSERT_NE(nullptr, zordatOpenPSDat(&ts, 0, &iCode)) << std::hex << iCode; });
  zordatCloseFiles(&ts);
  ASSERT_EQ(0, zordatLaunchPS(&ts));
  zordatPS *pps = static_cast<zordatPS *>(ts.pPageSource);
  EXPECT_EQ(1, pps->ilReaders);
  std::vector<uint32_t> vOrder;
  Bounded([&] {
    for (;;) {
      unsigned char *puc = zordatReadNextDat(&ts, &iCode);
      if (puc == nullptr) break;
      EXPECT_EQ(0, memcmp(sp.mapExpected[sp.mapObjPage[obyteGetLE32(puc + 28)]].data(), puc, P));
      vOrder.push_back(obyteGetLE32(puc + 28));
    }
  });
  EXPECT_EQ(ZORTS_RC_ENDEMP, iCode);
  std::vector<uint32_t> vWant;
  for (uint32_t p = 0; p < 26; p++) vWant.push_back(p);
  EXPECT_EQ(vWant, vOrder);   /* one reader: extents in map order */
  /* read-absolute through the daemon too */
  unsigned char *puc = nullptr;
  Bounded([&] { puc = zordatReadAbsDatPage(&ts, 9 * X_EXTENT + 2, nullptr, 1, ZORTS_READ_RESTORE, &iCode); });
  ASSERT_NE(nullptr, puc);
  EXPECT_EQ(0, memcmp(sp.mapExpected[9 * X_EXTENT + 2].data(), puc, P));
  free(puc);
  Bounded([&] { zordatPSDestroy(pps); });
  zordatCloseFiles(&ts);
  zordatDestroy(pzordat);
  free(ts.tbdesc.pcolumns);
}

/* Small extents get buffers enough for 2 MB read ahead; large ones keep two per container. */
TEST(ZordatBuffers, TwoPerContainerOrEnoughForTheReadAhead)
{
  DmsSpace sp({3}, 4);
  Online on(sp, 4);
  const int32_t n = on.pzordat->ilContainers;
  ASSERT_GT(n, 1);
  const struct {
    int32_t ilExtent, ilPage, ilBuffers;
  } acases[] = {
      {16, 4096, 32}, {32, 4096, 16}, {2, 4096, 256}, {256, 32768, 2 * n}, {64, 16384, 2 * n}, {0, 4096, 2 * n},
  };
  for (const auto &c : acases) {
    sp.prec->ilExtentSize = c.ilExtent;
    sp.prec->ilPageSize = c.ilPage;
    EXPECT_EQ(std::max(c.ilBuffers, 2 * n), zordatDataBuffers(on.pzordat)) << c.ilExtent << " x " << c.ilPage;
  }
  EXPECT_EQ(2, zordatDataBuffers(nullptr));
}

TEST(ZordatMapping, ForwardsBothMappings)
{
  DmsSpace sp({3}, 4);
  Online on(sp, 4);
  int32_t ilCont = -1, ilExt = -1;
  EXPECT_EQ(0, zordatLogical2Physical(on.pzordat, 7, &ilCont, &ilExt));
  EXPECT_EQ(1, ilCont);
  EXPECT_EQ(2, ilExt);
  EXPECT_NE(0, zordatLogical2Physical(on.pzordat, 24, &ilCont, &ilExt));
  SmsSpace sms(16, 1, 4);
  Online on2(sms, 5);
  EXPECT_EQ(0, zordatLogical2Physical(on2.pzordat, 4, &ilCont, &ilExt));   /* (4 + 5) mod 4, 4 div 4 */
  EXPECT_EQ(1, ilCont);
  EXPECT_EQ(1, ilExt);
  char *pc = zordatBuildContainerFilename("/c", ".LF", 12, FICCONT_TYPE_SMS);
  EXPECT_STREQ("/c/SQL00012.LF", pc);
  free(pc);
  pc = zordatBuildContainerFilename("/dev/raw1", ".LF", 12, FICCONT_TYPE_DMS);
  EXPECT_STREQ("/dev/raw1", pc);
  free(pc);
}

}  // namespace
