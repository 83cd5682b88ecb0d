/*
** zor3unload_test.cpp
**   The partition read driver over real channels: a DMS and an SMS table
**   written into a temporary directory, described and then read by a
**   forked reader process into two pairs that this process reads back
**   exactly; a damaged container failing the partition with its end
**   records; and the table-space object path over a page source of known
**   pages: sampling, empty and non-data slots, compressed rows, a writer
**   that stops its pair, and a read error.
*/
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/ochar.h"
#include "common/olist.h"
#include "common/ovf.h"
#include "model/part.h"
#include "model/token.h"
#include "model/zoratom.h"
#include "model/zortask.h"
#include "common/odict.h"
#include "expr/opool.h"
#include "expr/zornode.h"
#include "expr/zornodeeval.h"
#include "model/orow.h"
#include "run/zor3unload.h"
#include "run/zorurun.h"
#include "storage/ficcont.h"
#include "storage/ficdata.h"
#include "storage/ficdms.h"
#include "storage/ficpar.h"
#include "storage/zordat.h"
#include "storage/zorts.h"
#include "tests/storage/dmsspace.h"
#include "tests/storage/empspace.h"
#include "tests/storage/fictable.h"
#include "tests/zavtest.h"
#include "tools/db2pages.h"
#include "tools/db2spcs.h"

namespace {

using fictable::Bytes;

using dmsspace::kObjId;
using dmsspace::kPageSize;
using dmsspace::kTablePages;
using dmsspace::kTbsId;

/* A reader with iPairs pairs over fresh channels, as a SELECT child builds it. */
struct Reader {
  std::vector<fictable::Channel *> vChan;
  std::vector<zorurunPair> vPairs;
  std::vector<zorurunPair *> vpPairs;
  zorurunReader reader{};
  Reader(unload *punload, int iPairs) : vPairs(static_cast<size_t>(iPairs))
  {
    for (int i = 0; i < iPairs; i++) {
      vChan.push_back(new fictable::Channel);
      vPairs[i] = zorurunPair{};
      vPairs[i].povf = vChan.back()->povf;
      vPairs[i].preader = &reader;
    }
    for (auto &p : vPairs) vpPairs.push_back(&p);
    reader.punload = punload;
    reader.iSemId = -1;
    reader.iPairCount = iPairs;
    reader.appair = vpPairs.data();
  }
  ~Reader()
  {
    for (auto *p : vChan) delete p;
  }
  /* Forks the reader process running fn(&reader); returns its exit code and fills each pair's records. */
  template <typename Fn>
  int Run(Fn fn, std::vector<std::vector<Bytes>> *pvGot)
  {
    pid_t pid = fork();
    if (pid == 0) {
      alarm(60);
      _exit(fn(&reader) & 0xFF);
    }
    EXPECT_GT(pid, 0);
    pvGot->clear();
    for (auto *c : vChan) pvGot->push_back(c->ReadAll());
    return fictable::Wait(pid);
  }
};

/* The table's description read from its containers; its columns are freed with the holder
   (the reader frees them in its own process only). */
struct TableDesc {
  ficdataTableDesc desc{};
  int32_t ilPages = -1;
  TableDesc() = default;
  TableDesc(const TableDesc &) = delete;
  TableDesc &operator=(const TableDesc &) = delete;
  ~TableDesc() { free(desc.pcolumns); }
  int Read(ficcont *pficcont) { return unloadTableDesc("inst", pficcont, kObjId, &desc, &ilPages); }
};

/* A partition of ilPages pages over the table's containers and the unload of it, destroyed with the holder. */
struct PartUnload {
  part *ppart;
  unload *punload;
  PartUnload(ficdataTableDesc *pdesc, int32_t ilPages, ficcont *pficcont)
      : ppart(partCreate(0, ilPages, pdesc, pficcont, pficcont, 0)), punload(unloadCreate(ppart, nullptr, 0))
  {
  }
  PartUnload(const PartUnload &) = delete;
  PartUnload &operator=(const PartUnload &) = delete;
  ~PartUnload()
  {
    unloadDestroy(punload);
    partDestroy(ppart);
  }
};

/* ------------------------------------------------- DMS and SMS tables */

/* The DMS table space of tests/storage/dmsspace.h. */
using UnloadDms = dmsspaceTest;

TEST_F(UnloadDms, DescriptionThenForkedReadSendsEveryRowToEveryPairOnce)
{
  TableDesc t;
  ASSERT_EQ(t.Read(pficcont), 0);
  EXPECT_EQ(t.ilPages, static_cast<int32_t>(kTablePages));
  EXPECT_EQ(t.desc.sColumnCount, 3);

  PartUnload u(&t.desc, t.ilPages, pficcont);
  unload *punload = u.punload;
  ASSERT_NE(punload, nullptr);
  EXPECT_EQ(punload->iSampling, 0);
  Reader r(punload, 2);
  std::vector<std::vector<Bytes>> vGot;
  int iRc = r.Run([&](zorurunReader *p) { return unloadTableDB2Seq("inst", kObjId, p); }, &vGot);
  EXPECT_EQ(iRc, 0);
  ASSERT_EQ(vGot.size(), 2u);
  EXPECT_EQ(vGot[0], vRows);
  EXPECT_EQ(vGot[1], vRows);
}

TEST_F(UnloadDms, ContainerCutShortFailsThePartitionAfterItsEndRecords)
{
  TableDesc t;
  ASSERT_EQ(t.Read(pficcont), 0);
  /* Cut both containers in the middle of the table's extents. */
  ASSERT_EQ(truncate(Cont(0).c_str(), static_cast<off_t>(53) * kPageSize), 0);
  ASSERT_EQ(truncate(Cont(1).c_str(), static_cast<off_t>(53) * kPageSize), 0);
  PartUnload u(&t.desc, t.ilPages, pficcont);
  unload *punload = u.punload;
  Reader r(punload, 1);
  std::vector<std::vector<Bytes>> vGot;
  int iRc = r.Run([&](zorurunReader *p) { return unloadTableDB2Seq("inst", kObjId, p); }, &vGot);
  EXPECT_NE(iRc, 0);
  ASSERT_EQ(vGot.size(), 1u);
  EXPECT_LT(vGot[0].size(), vRows.size());   /* the channel ended all the same */
}

TEST_F(UnloadDms, MissingContainerFailsDescriptionAndReadWithEndRecords)
{
  TableDesc t;
  ASSERT_EQ(t.Read(pficcont), 0);
  ASSERT_EQ(unlink(Cont(1).c_str()), 0);
  ficdataTableDesc desc2{};
  std::vector<std::string> vMsgs = zavtestMessages([&] {
    EXPECT_EQ(unloadTableDesc("inst", pficcont, kObjId, &desc2, &t.ilPages), 1);
  });
  EXPECT_FALSE(vMsgs.empty());
  PartUnload u(&t.desc, t.ilPages, pficcont);
  unload *punload = u.punload;
  Reader r(punload, 2);
  std::vector<std::vector<Bytes>> vGot;
  int iRc = r.Run([&](zorurunReader *p) { return unloadTableDB2Seq("inst", kObjId, p); }, &vGot);
  EXPECT_EQ(iRc, 1);
  EXPECT_TRUE(vGot[0].empty());
  EXPECT_TRUE(vGot[1].empty());
}

TEST_F(UnloadDms, StoppedPairIsLeftWhileTheOtherGetsEveryRow)
{
  TableDesc t;
  ASSERT_EQ(t.Read(pficcont), 0);
  PartUnload u(&t.desc, t.ilPages, pficcont);
  unload *punload = u.punload;
  std::vector<std::vector<Bytes>> vGot;
  {
    Reader r(punload, 2);
    ovfStop(r.vPairs[0].povf);
    EXPECT_EQ(r.Run([&](zorurunReader *p) { return unloadTableDB2Seq("inst", kObjId, p); }, &vGot), 0);
  }
  EXPECT_TRUE(vGot[0].empty());
  EXPECT_EQ(vGot[1], vRows);
  /* Both stopped: the reader ends early and without error. */
  {
    Reader r(punload, 2);
    ovfStop(r.vPairs[0].povf);
    ovfStop(r.vPairs[1].povf);
    EXPECT_EQ(r.Run([&](zorurunReader *p) { return unloadTableDB2Seq("inst", kObjId, p); }, &vGot), 0);
  }
  EXPECT_TRUE(vGot[0].empty());
  EXPECT_TRUE(vGot[1].empty());
}

/* An SMS table of 4 pages in one container directory (extent size 2). */
TEST(UnloadSms, DescriptionThenReadSendsEveryRowInPageOrder)
{
  zavtestTempDir dir;
  std::string strDb = dir.path + "/db/";
  std::filesystem::create_directories(strDb + "cont0");
  db2spcsTablespace ts;
  ts.sId = kTbsId;
  ts.strName = "SMSSPACE";
  ts.ulFlags = FICCONT_TYPE_SMS;
  ts.ulExtentSize = 2;
  ts.ulPageSize = kPageSize;
  ts.vContainers = {{"cont0", 0, 0, 0, kPageSize}};
  ASSERT_TRUE(db2spcsWriteFile(strDb + "SQLSPCS.1", {ts}));
  olist *plist = nullptr;
  ochar *pchar = ocharCreate(0, 850);
  ocharAppendFixedS(pchar, ts.strName.data(), static_cast<int32_t>(ts.strName.size()));
  ASSERT_EQ(ficcontGetLocalPart(&plist, "hosta", "SAMPLE", pchar, strDb.c_str(), 0), 0);
  ocharDestroy(pchar);
  ASSERT_NE(plist, nullptr);
  ficcont *pficcont = static_cast<ficcont *>(plist->pitemTop);

  std::vector<Bytes> vRows;
  std::string strFile = strDb + "cont0/SQL00004.DAT";
  {
    int fd = open(strFile.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
    for (uint32_t p = 0; p < 4; p++) {
      Bytes v = fictable::Page(kPageSize, p, 4, &vRows);
      ASSERT_EQ(write(fd, v.data(), v.size()), static_cast<ssize_t>(v.size()));
    }
    close(fd);
  }
  TableDesc t;
  ASSERT_EQ(t.Read(pficcont), 0);
  EXPECT_EQ(t.ilPages, 4);
  EXPECT_EQ(t.desc.sColumnCount, 3);
  PartUnload u(&t.desc, t.ilPages, pficcont);
  unload *punload = u.punload;
  {
    Reader r(punload, 2);
    std::vector<std::vector<Bytes>> vGot;
    EXPECT_EQ(r.Run([&](zorurunReader *p) { return unloadTableDB2Seq("inst", kObjId, p); }, &vGot), 0);
    EXPECT_EQ(vGot[0], vRows);
    EXPECT_EQ(vGot[1], vRows);
  }
  /* A table-space kind that is neither SMS nor DMS. */
  pficcont->ilType = 7;
  ficdataTableDesc desc2{};
  EXPECT_EQ(unloadTableDesc("inst", pficcont, kObjId, &desc2, &t.ilPages), 1);
  {
    Reader r(punload, 1);
    std::vector<std::vector<Bytes>> vGot;
    EXPECT_EQ(r.Run([&](zorurunReader *p) { return unloadTableDB2Seq("inst", kObjId, p); }, &vGot), 1);
    EXPECT_TRUE(vGot[0].empty());
  }
  olistDestroy(plist);
}

/* ------------------------------------ pages decoded on helper threads */

/*
** The tunings every table below is read with: page by page, then through
** helper threads with batches of several sizes (the tables are long
** enough for three batches and more).
*/
struct Tuning {
  int iHelpers;
  int32_t ilBatch;
};
const Tuning gaTunings[] = {{0, -1}, {2, 2}, {3, 1}, {2, 5}, {1, 3}};

/* What one read of a table gave: the exit code, every pair's records, the messages. */
struct ReadResult {
  int iRc = -1;
  std::vector<std::vector<Bytes>> vGot;
  std::vector<std::string> vMsgs;
  bool operator==(const ReadResult &o) const { return iRc == o.iRc && vGot == o.vGot && vMsgs == o.vMsgs; }
};

/*
** Reads the table of punload into iPairs pairs (those of vStopped stopped
** first) with the tuning: the reader process keeps its messages and
** writes them to a file this process reads back.
*/
ReadResult ReadTuned(unload *punload, int iPairs, const std::vector<int> &vStopped, const Tuning &t,
                     const std::string &strMsgs)
{
  ficparSetTuning(t.iHelpers, t.ilBatch);
  ReadResult res;
  Reader r(punload, iPairs);
  for (int i : vStopped) ovfStop(r.vPairs[static_cast<size_t>(i)].povf);
  res.iRc = r.Run(
      [&](zorurunReader *p) {
        int iRc = 0;
        std::vector<std::string> v = zavtestMessages([&] { iRc = unloadTableDB2Seq("inst", kObjId, p); });
        FILE *pfile = std::fopen(strMsgs.c_str(), "w");
        for (const std::string &str : v) std::fputs(str.c_str(), pfile);
        std::fclose(pfile);
        return iRc;
      },
      &res.vGot);
  ficparSetTuning(-1, -1);
  std::ifstream in(strMsgs);
  for (std::string str; std::getline(in, str);) res.vMsgs.push_back(str);
  return res;
}

/* Each read of vres (one per tuning of gaTunings) gives what the first, page-by-page one gave. */
void ExpectEveryTuningReadsAsPageByPage(const std::vector<ReadResult> &vres)
{
  for (size_t k = 1; k < vres.size(); k++) {
    EXPECT_TRUE(vres[k] == vres[0]) << "helpers " << gaTunings[k].iHelpers << ", batches of "
                                    << gaTunings[k].ilBatch << ": rc " << vres[k].iRc << " against "
                                    << vres[0].iRc << ", " << vres[k].vMsgs.size() << " messages against "
                                    << vres[0].vMsgs.size();
  }
}

/*
** A page as DB2 leaves it on disk: bit 0 of the first byte of every
** 512-byte sector saved in the torn-page words (offsets 36 and 40) and,
** but in the first sector, flipped in the page, so that only a reader that
** restores the bits reads the rows that cross a sector's start.
*/
Bytes Torn(Bytes v)
{
  db2empSeal(v.data(), static_cast<uint32_t>(v.size()));
  for (size_t at = 512; at < v.size(); at += 512) v[at] ^= 1;
  return v;
}

/*
** An SMS table of ulPages pages over two containers (extent size 2): page p
** holds rows 100 p to 100 p + 19 (their records run past the first
** sectors) among an empty slot, a pointer and a record of another kind;
** the table's descriptor takes the place of row 1001, object page 0
** pointing to it; fnPage may make page p another way (false leaves it as
** made).
*/
template <typename Fn>
void WriteSmsTable(const std::string &strDb, uint32_t ulPages, std::vector<Bytes> *pvRows, Fn fnPage)
{
  std::vector<std::vector<Bytes>> vFiles(2);
  for (uint32_t p = 0; p < ulPages; p++) {
    Bytes v;
    if (!fnPage(p, &v)) {
      /* the descriptor lies in slot 4 of page 10, which object page 0 points to: no row */
      std::vector<Bytes> vSlots = {Bytes{}, db2pages::pointer(p, 0), db2pages::other(1)};
      if (p == 0) vSlots = {db2pages::fileHeader(ulPages), Bytes{}, db2pages::other(0, 16), db2pages::pointer(10, 4)};
      for (int i = 0; i < 20; i++) {
        Bytes row = fictable::Row(static_cast<int>(p) * 100 + i);
        if (p == 10 && vSlots.size() == 4) {
          vSlots.push_back(db2pages::descriptor(fictable::Columns()));
          continue;
        }
        vSlots.push_back(row);
        pvRows->push_back(row);
      }
      v = db2pages::page(kPageSize, p, vSlots);
    }
    uint32_t ulExtent = p / 2;
    vFiles[(kObjId + ulExtent) % 2].push_back(Torn(v));
  }
  for (int c = 0; c < 2; c++) {
    std::ofstream out(strDb + "cont" + std::to_string(c) + "/SQL00004.DAT", std::ios::binary);
    for (const Bytes &v : vFiles[static_cast<size_t>(c)])
      out.write(reinterpret_cast<const char *>(v.data()), static_cast<std::streamsize>(v.size()));
  }
}

/* The SMS table space of two containers in strDb; its ficcont list (owned by the caller). */
olist *SmsSpace(const std::string &strDb)
{
  std::filesystem::create_directories(strDb + "cont0");
  std::filesystem::create_directories(strDb + "cont1");
  db2spcsTablespace ts;
  ts.sId = kTbsId;
  ts.strName = "SMSSPACE";
  ts.ulFlags = FICCONT_TYPE_SMS;
  ts.ulExtentSize = 2;
  ts.ulPageSize = kPageSize;
  ts.vContainers = {{"cont0", 0, 0, 0, kPageSize}, {"cont1", 0, 0, 0, kPageSize}};
  EXPECT_TRUE(db2spcsWriteFile(strDb + "SQLSPCS.1", {ts}));
  olist *plist = nullptr;
  ochar *pchar = ocharCreate(0, 850);
  ocharAppendFixedS(pchar, ts.strName.data(), static_cast<int32_t>(ts.strName.size()));
  EXPECT_EQ(ficcontGetLocalPart(&plist, "hosta", "SAMPLE", pchar, strDb.c_str(), 0), 0);
  ocharDestroy(pchar);
  return plist;
}

/*
** Read through helper threads, a table gives what the page-by-page read
** gives: the same records in the same order to every pair, the same
** messages in the same order, the same end, whatever the batches.  The
** helpers leave every page with something to report to the record loop:
** pages carrying another number, a broken slot directory, a record
** running past its page, a file cut short, pairs the writers stopped.
*/
TEST(UnloadHelpers, SmsTableReadsAsPageByPage)
{
  const uint32_t ulPages = 24;
  struct Case {
    const char *pcWhat;
    std::vector<uint32_t> vDamaged;   /* pages written damaged */
    bool boCut;                       /* the second container cut in the middle of page 21 */
    std::vector<int> vStopped;        /* pairs stopped before the read */
    bool boClean;                     /* every row expected, no message */
  } acases[] = {
      {"sound table", {}, false, {}, true},
      {"damaged pages among sound ones", {5, 9, 14, 17}, false, {}, false},
      {"damaged pages, then a file cut short", {9, 14}, true, {}, false},
      {"one pair stopped", {9}, false, {0}, false},
      {"every pair stopped", {}, false, {0, 1}, false},
  };
  for (const Case &c : acases) {
    SCOPED_TRACE(c.pcWhat);
    zavtestTempDir dir;
    std::string strDb = dir.path + "/db/";
    olist *plist = SmsSpace(strDb);
    ASSERT_NE(plist, nullptr);
    ficcont *pficcont = static_cast<ficcont *>(plist->pitemTop);
    std::vector<Bytes> vRows;
    WriteSmsTable(strDb, ulPages, &vRows, [&](uint32_t p, Bytes *pv) {
      if (std::find(c.vDamaged.begin(), c.vDamaged.end(), p) == c.vDamaged.end()) return false;
      std::vector<Bytes> vSlots = {fictable::Row(static_cast<int>(p) * 10), Bytes{}, fictable::Row(1)};
      *pv = db2pages::page(kPageSize, p, vSlots);
      switch (p % 4) {
        case 1: db2pages::putLE32(*pv, 28, p + 100); break;                         /* another page's number */
        case 2: db2pages::putLE16(*pv, db2pages::kSlotDir, 0xFFFE); break;           /* slot count below zero */
        default: db2pages::putLE16(*pv, db2pages::kSlotDir + 20, 5000); break;       /* slot 0 past the page */
      }
      return true;
    });
    TableDesc t;
    ASSERT_EQ(t.Read(pficcont), 0);
    ASSERT_EQ(t.ilPages, static_cast<int32_t>(ulPages));
    if (c.boCut) {
      ASSERT_EQ(truncate((strDb + "cont1/SQL00004.DAT").c_str(), 10 * kPageSize + 100), 0);
    }
    PartUnload u(&t.desc, t.ilPages, pficcont);
    unload *punload = u.punload;
    std::vector<ReadResult> vres;
    for (const Tuning &t : gaTunings) vres.push_back(ReadTuned(punload, 2, c.vStopped, t, dir.path + "/msgs"));
    if (c.boClean) {
      EXPECT_EQ(vres[0].iRc, 0);
      EXPECT_EQ(vres[0].vGot, (std::vector<std::vector<Bytes>>{vRows, vRows}));
      EXPECT_TRUE(vres[0].vMsgs.empty());
    } else if (!c.vDamaged.empty() && c.vStopped.empty()) {
      EXPECT_FALSE(vres[0].vMsgs.empty());   /* the damage reaches the page-by-page read */
    }
    ExpectEveryTuningReadsAsPageByPage(vres);
    olistDestroy(plist);
  }
}

/* The DMS table of tests/storage/dmsspace.h through helpers: the rows, and a container cut short. */
TEST_F(UnloadDms, HelpersSendWhatThePageByPageReadSends)
{
  TableDesc t;
  ASSERT_EQ(t.Read(pficcont), 0);
  PartUnload u(&t.desc, t.ilPages, pficcont);
  unload *punload = u.punload;
  for (const Tuning &t : gaTunings) {
    if (t.ilBatch > 3) continue;   /* ten pages: three batches at most */
    ReadResult res = ReadTuned(punload, 2, {}, t, dir.path + "/msgs");
    EXPECT_EQ(res.iRc, 0) << t.iHelpers;
    EXPECT_EQ(res.vGot, (std::vector<std::vector<Bytes>>{vRows, vRows})) << t.iHelpers;
  }
  /* a page count above what the extent map lists: the page-number pipe ends first */
  PartUnload longer(&t.desc, t.ilPages + 4, pficcont);
  ReadResult resPages = ReadTuned(longer.punload, 1, {}, gaTunings[0], dir.path + "/msgs");
  ReadResult resHelpers = ReadTuned(longer.punload, 1, {}, gaTunings[1], dir.path + "/msgs");
  EXPECT_EQ(resPages.iRc, 1);
  EXPECT_EQ(resHelpers.iRc, resPages.iRc);
  EXPECT_EQ(resHelpers.vGot, resPages.vGot);
  EXPECT_GE(resPages.vGot[0].size(), vRows.size());
  /* a container cut short */
  ASSERT_EQ(truncate(Cont(1).c_str(), static_cast<off_t>(53) * kPageSize), 0);
  resPages = ReadTuned(punload, 1, {}, gaTunings[0], dir.path + "/msgs");
  resHelpers = ReadTuned(punload, 1, {}, gaTunings[1], dir.path + "/msgs");
  EXPECT_NE(resPages.iRc, 0);
  EXPECT_EQ(resHelpers.iRc, resPages.iRc);
  EXPECT_EQ(resHelpers.vGot, resPages.vGot);
}

/*
** The same DMS table through the threaded online reader, page by page and
** through helpers: every row to both pairs (in the order the container
** threads deliver the extents, which differs from run to run), and a
** container cut short fails the read whatever the tuning.
*/
TEST_F(UnloadDms, OnlineReaderThroughHelpersSendsEveryRow)
{
  int iCode = -1;
  zordat *pzordat = zordatCreate(pficcont, nullptr, kTbsId, kObjId, "", nullptr, &iCode);
  ASSERT_NE(pzordat, nullptr) << std::hex << iCode;
  zorts *pts = zortsCreateFromDat(pzordat, &iCode);
  ASSERT_NE(pts, nullptr) << std::hex << iCode;
  part *ppart = partCreate(0, 0, nullptr, nullptr, nullptr, 0);
  ppart->pzorts = pts;
  unload *punload = unloadCreate(ppart, nullptr, 0);
  std::vector<Bytes> vWant = vRows;
  std::sort(vWant.begin(), vWant.end());
  auto sorted = [](std::vector<Bytes> v) {
    std::sort(v.begin(), v.end());
    return v;
  };
  for (bool boCut : {false, true}) {
    SCOPED_TRACE(boCut ? "a container cut short" : "sound containers");
    if (boCut) {
      ASSERT_EQ(truncate(Cont(1).c_str(), static_cast<off_t>(53) * kPageSize), 0);
    }
    for (const Tuning &t : gaTunings) {
      if (t.ilBatch > 3) continue;   /* ten pages: three batches at most */
      ReadResult res = ReadTuned(punload, 2, {}, t, dir.path + "/msgs");
      for (const std::vector<Bytes> &vGot : res.vGot) {
        if (boCut) {
          std::vector<Bytes> vSorted = sorted(vGot);
          EXPECT_TRUE(std::includes(vWant.begin(), vWant.end(), vSorted.begin(), vSorted.end())) << t.iHelpers;
        } else {
          EXPECT_EQ(sorted(vGot), vWant) << t.iHelpers;
        }
      }
      if (boCut) {
        EXPECT_NE(res.iRc, 0) << t.iHelpers;
        EXPECT_FALSE(res.vMsgs.empty()) << t.iHelpers;
      } else {
        EXPECT_EQ(res.iRc, 0) << t.iHelpers;
        EXPECT_TRUE(res.vMsgs.empty()) << t.iHelpers;
      }
    }
  }
  /* the readers destroyed their copies of the object; this process's copy goes here */
  zortsDestroy(ppart->pzorts);
  ppart->pzorts = nullptr;
  zordatDestroy(pzordat);
  unloadDestroy(punload);
  partDestroy(ppart);
}

/* ------------------------------------------- table-space object path */

/* Pages served by the fake read-next, then the code that ends them. */
std::vector<Bytes> gvPages;
size_t gulNext = 0;
int giEndCode = ZORTS_RC_END;

std::vector<int64_t> gvExpected;   /* the object page each must be, -1 for the number it carries; empty: none */

unsigned char *_fakeReadNext(zorts *pts, int *piCode)
{
  *piCode = 0;
  if (gulNext < gvPages.size()) {
    if (gulNext < gvExpected.size()) {
      pts->boPageExpected = gvExpected[gulNext] >= 0;
      pts->llPageExpected = gvExpected[gulNext];
    }
    /* a page is the caller's until the next call, as an extent buffer is: one
       buffer serves them all */
    static Bytes vServed;
    vServed = gvPages[gulNext++];
    return vServed.empty() ? nullptr : vServed.data();   /* an empty entry: no page for this call */
  }
  *piCode = giEndCode;
  return nullptr;
}

/* A backup-kind table-space object without page source over the fake pages. */
zorts *_fakeTs()
{
  zorts *pts = static_cast<zorts *>(calloc(1, sizeof(zorts)));
  pts->pfnReadNext = _fakeReadNext;
  pts->iSource = ZORTS_SOURCE_BACKUP;
  pts->iType = ZORTS_TYPE_DMS;
  pts->ilPageSize = kPageSize;
  Bytes vDesc = db2pages::descriptor(fictable::Columns());
  Bytes vPage = db2pages::page(kPageSize, 0, {vDesc});
  EXPECT_EQ(_ficdataReadTableDescriptorRecord(nullptr, vPage.data(), kPageSize, 48 + 20 + 2, &pts->tbdesc), 0);
  pts->ilMaxRecord = ficdataSizeEnreg(&pts->tbdesc);
  return pts;
}

/* A SELECT task with SKIP and INTERVAL. */
zortask *_selectTask(int32_t ilSkip, int32_t ilInterval)
{
  tokenInitKeyword();
  zortask *ptask = zortaskCreateNamed(nullptr);
  if (ilSkip >= 0)
    zortaskAddAtom(ptask, zoratomCreate(gapnameTotalToken[TOKEN_SKIP], ZORATOM_INTEGER, 0,
                                        static_cast<uintptr_t>(ilSkip), nullptr, nullptr));
  if (ilInterval >= 0)
    zortaskAddAtom(ptask, zoratomCreate(gapnameTotalToken[TOKEN_INTERVAL], ZORATOM_INTEGER, 0,
                                        static_cast<uintptr_t>(ilInterval), nullptr, nullptr));
  return ptask;
}

/* Binds every node of a WHERE tree to its evaluation procedure, as the check does. */
void _bind(zornode *pnode)
{
  if (pnode == nullptr) return;
  if (pnode->sKind == ZORNODE_CSTE || pnode->sKind == ZORNODE_VAR) {
    pnode->procEval = pnode->sKind == ZORNODE_CSTE ? _zornodeEvalProc_LoadCste : _zornodeEvalProc_LoadVar;
    return;
  }
  zornode *pleft = static_cast<zornode *>(pnode->pLeft);
  zornode *pright = static_cast<zornode *>(pnode->pRight);
  _bind(pleft);
  _bind(pright);
  void *pproc = odictLoad(gpdictNodeProc, zornodeEvalProcKey(pnode->sCode, pleft->usCtrlType & 0xFF,
                                                             pright->usCtrlType & 0xFF));
  ASSERT_NE(pproc, nullptr);
  pnode->procEval = reinterpret_cast<zornodeEvalProc>(pproc);
}

/* WHERE <INTEGER column 0> <iOp> <iValue>, bound over the row layout of the test table. */
zornode *_whereInt(rowColDef *pdef, int iOp, int32_t iValue)
{
  pdef->iLength = 4;
  pdef->sOffset = 0;
  pdef->sNullOffset = -1;
  zornode *pcol = zornodeCreate(ZORNODE_VAR, NODE_CTINT, pdef, nullptr, NODE_SUBS, nullptr, nullptr);
  pcol->usCtrlType = NODE_T_VINT;
  pcol->usLength = 4;
  zornode *pnode = zornodeCreate(ZORNODE_OPRT, iOp, pcol, zornodeCreateInteger(iValue, nullptr, nullptr), 0,
                                 nullptr, nullptr);
  pnode->usCtrlType = NODE_T_BOOL;
  _bind(pnode);
  return pnode;
}

class UnloadTs : public ::testing::Test {
 protected:
  void SetUp() override
  {
    gvPages.clear();
    gvExpected.clear();
    gulNext = 0;
    giEndCode = ZORTS_RC_END;
    vRows.clear();
    /* Four pages of three rows (with empty, pointer and non-data slots), a
       call without page between them; object page 0 holds the descriptor. */
    for (uint32_t p = 0; p < 4; p++) {
      gvPages.push_back(fictable::Page(kPageSize, p, 4, &vRows));
      if (p == 1) gvPages.push_back(Bytes{});
    }
  }
  /* Reads the fake pages through a forked reader with iPairs pairs. */
  int Read(zortask *ptask, int iPairs, std::vector<std::vector<Bytes>> *pvGot, bool boStopFirst = false)
  {
    part *ppart = partCreate(0, 4, nullptr, nullptr, nullptr, 0);
    ppart->pzorts = _fakeTs();
    unload *punload = unloadCreate(ppart, ptask, 0);
    Reader r(punload, iPairs);
    if (boStopFirst) ovfStop(r.vPairs[0].povf);
    int iRc = r.Run([&](zorurunReader *p) { return unloadTableDB2Seq("inst", kObjId, p); }, pvGot);
    /* The reader destroyed its copy of the object; this process's copy goes here. */
    zortsDestroy(ppart->pzorts);
    ppart->pzorts = nullptr;
    unloadDestroy(punload);
    partDestroy(ppart);
    return iRc;
  }
  std::vector<Bytes> vRows;
};

TEST_F(UnloadTs, EveryRowInPageAndSlotOrderWithoutSampling)
{
  std::vector<std::vector<Bytes>> vGot;
  EXPECT_EQ(Read(nullptr, 2, &vGot), 0);
  EXPECT_EQ(vGot[0], vRows);
  EXPECT_EQ(vGot[1], vRows);
}

TEST_F(UnloadTs, SamplingKeepsTheNumberedRecords)
{
  struct Case {
    int32_t ilSkip, ilInterval;
    std::vector<int> vKept;
  };
  const Case acases[] = {
      {2, 3, {2, 5, 8, 11}},
      {0, 4, {0, 4, 8}},
      {10, 0, {10, 11}},
      {-1, -1, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}},
  };
  for (const Case &c : acases) {
    SetUp();
    zortask *ptask = _selectTask(c.ilSkip, c.ilInterval);
    std::vector<std::vector<Bytes>> vGot;
    EXPECT_EQ(Read(ptask, 1, &vGot), 0);
    std::vector<Bytes> vWant;
    for (int i : c.vKept) vWant.push_back(vRows[static_cast<size_t>(i)]);
    EXPECT_EQ(vGot[0], vWant) << "SKIP " << c.ilSkip << " INTERVAL " << c.ilInterval;
    zortaskDestroy(ptask);
  }
}

TEST_F(UnloadTs, CompressedRowReachesThePairsExpanded)
{
  std::vector<db2pages::Value> v = {db2pages::val(db2pages::le32(77)), db2pages::val(std::string("cmp")),
                                    db2pages::val(std::string("xyz"))};
  Bytes vCompressed = db2pages::compressed(fictable::Columns(), v);
  Bytes vPlain = db2pages::row(fictable::Columns(), v);
  gvPages = {db2pages::page(kPageSize, 7, {vCompressed})};
  std::vector<std::vector<Bytes>> vGot;
  EXPECT_EQ(Read(nullptr, 1, &vGot), 0);
  ASSERT_EQ(vGot[0].size(), 1u);
  const Bytes &got = vGot[0][0];
  ASSERT_EQ(got.size(), vPlain.size());
  EXPECT_EQ(got[4], FICDATA_FORMAT_ROW);
  EXPECT_EQ(Bytes(got.begin() + 6, got.end()), Bytes(vPlain.begin() + 6, vPlain.end()));
}

TEST_F(UnloadTs, StoppedPairIsLeftWhileTheOtherIsFed)
{
  std::vector<std::vector<Bytes>> vGot;
  EXPECT_EQ(Read(nullptr, 2, &vGot, true), 0);
  EXPECT_TRUE(vGot[0].empty());
  EXPECT_EQ(vGot[1], vRows);
}

TEST_F(UnloadTs, EveryPairStoppedEndsTheReadWithoutError)
{
  /* Many pages: the reader must stop without reading them all. */
  for (int i = 0; i < 200; i++) gvPages.push_back(fictable::Page(kPageSize, 5 + i, 4, nullptr));
  std::vector<std::vector<Bytes>> vGot;
  EXPECT_EQ(Read(nullptr, 1, &vGot, true), 0);
  EXPECT_TRUE(vGot[0].empty());
}

TEST_F(UnloadTs, ReadNextCodesEndOrFailThePartitionAfterTheEndRecords)
{
  const struct {
    int iCode, iExit;
  } acases[] = {{ZORTS_RC_END, 0}, {ZORTS_RC_ENDEMP, 0}, {ZORTS_RC_READ, ZORTS_RC_READ & 0xFF},
                {ZORTS_RC_BADMAP, ZORTS_RC_BADMAP & 0xFF}};
  for (const auto &c : acases) {
    SetUp();
    giEndCode = c.iCode;
    std::vector<std::vector<Bytes>> vGot;
    EXPECT_EQ(Read(nullptr, 1, &vGot), c.iExit) << std::hex << c.iCode;
    EXPECT_EQ(vGot[0], vRows) << std::hex << c.iCode;
  }
}

/* A copied record reaches the pairs with its stored flags byte cleared, as from the forked readers. */
TEST_F(UnloadTs, StoredFlagsByteOfACopiedRecordIsCleared)
{
  Bytes stored = fictable::Row(31);
  stored[5] = 1;   /* bit 0 would tell the writer that a LOB of the row was cut */
  gvPages[4] = db2pages::page(kPageSize, 3, {stored});
  std::vector<Bytes> vExpected(vRows.begin(), vRows.end() - 3);
  vExpected.push_back(fictable::Row(31));
  std::vector<std::vector<Bytes>> vGot;
  EXPECT_EQ(Read(nullptr, 1, &vGot), 0);
  EXPECT_EQ(vGot[0], vExpected);
}

TEST_F(UnloadTs, EachPairKeepsTheRowsItsOwnWhereTreeAccepts)
{
  ASSERT_EQ(zornodeEvalInitProcDict(), 0);
  rowColDef adef[2] = {};
  zornode *pGreater = _whereInt(&adef[0], NODE_SUP_OP, 15);
  zornode *pEqual = _whereInt(&adef[1], NODE_EQU_OP, 11);
  part *ppart = partCreate(0, 4, nullptr, nullptr, nullptr, 0);
  ppart->pzorts = _fakeTs();
  unload *punload = unloadCreate(ppart, nullptr, 0);
  std::vector<std::vector<Bytes>> vGot;
  {
    Reader r(punload, 3);
    r.vPairs[0].pnodeWhere = pGreater;
    r.vPairs[0].pctxEval = zornodeEvalCreate(4);
    r.vPairs[1].pnodeWhere = pEqual;
    r.vPairs[1].pctxEval = zornodeEvalCreate(4);
    EXPECT_EQ(r.Run([&](zorurunReader *p) { return unloadTableDB2Seq("inst", kObjId, p); }, &vGot), 0);
    for (int i = 0; i < 2; i++) {
      opoolDelete(&r.vPairs[i].pctxEval->pool);
      free(r.vPairs[i].pctxEval);
    }
  }
  /* Rows hold 0 1 2, 10 11 12, 20 21 22, 30 31 32 in their INTEGER column. */
  EXPECT_EQ(vGot[0], std::vector<Bytes>(vRows.begin() + 6, vRows.end()));
  EXPECT_EQ(vGot[1], std::vector<Bytes>{vRows[4]});
  EXPECT_EQ(vGot[2], vRows);
  zortsDestroy(ppart->pzorts);
  ppart->pzorts = nullptr;
  unloadDestroy(punload);
  partDestroy(ppart);
  zornodeDestroy(pGreater);
  zornodeDestroy(pEqual);
}

/* LOB object pages of the fake LOB child: byte i of the object holds i * 3 + 1. */
unsigned char *_fakeLobReadAbs(zorts *pzorts, uint32_t ulPage, unsigned char *pcBuffer, int32_t ilCount, int32_t,
                               int *piCode)
{
  *piCode = 0;
  size_t ulSize = static_cast<size_t>(pzorts->ilPageSize) * static_cast<size_t>(ilCount);
  if (pcBuffer == nullptr) pcBuffer = static_cast<unsigned char *>(malloc(ulSize));
  for (size_t i = 0; i < ulSize; i++)
    pcBuffer[i] = static_cast<unsigned char>((static_cast<size_t>(ulPage) * pzorts->ilPageSize + i) * 3 + 1);
  return pcBuffer;
}

TEST_F(UnloadTs, LobIsAppendedAndPatchedUnlessItsNullByteIsSet)
{
  const std::vector<db2pages::Column> cols = {{1, 4, false}, {264, 1000, true}};
  /* A LOB of 100 bytes in one 1 KB buddy segment at unit 0. */
  Bytes vLobDesc(60, 0);
  vLobDesc[2] = 1;
  db2pages::putLE32(vLobDesc, 8, 100);
  db2pages::putLE32(vLobDesc, 56, 0);
  Bytes vWith = db2pages::row(cols, {db2pages::val(db2pages::le32(1)), db2pages::val(vLobDesc)});
  Bytes vNull = db2pages::row(cols, {db2pages::val(db2pages::le32(2)), db2pages::null()});
  gvPages = {db2pages::page(kPageSize, 9, {vWith, vNull})};

  zorts *pts = static_cast<zorts *>(calloc(1, sizeof(zorts)));
  pts->pfnReadNext = _fakeReadNext;
  pts->iSource = ZORTS_SOURCE_BACKUP;
  pts->iType = ZORTS_TYPE_SMS;
  pts->ilPageSize = kPageSize;
  Bytes vPage = db2pages::page(kPageSize, 0, {db2pages::descriptor(cols)});
  ASSERT_EQ(_ficdataReadTableDescriptorRecord(nullptr, vPage.data(), kPageSize, 48 + 20 + 2, &pts->tbdesc), 0);
  pts->tbdesc.pcolumns[1].sUsed = 1;
  pts->ilMaxRecord = ficdataSizeEnreg(&pts->tbdesc);
  pts->pzortsLOB = static_cast<zorts *>(calloc(1, sizeof(zorts)));
  pts->pzortsLOB->pfnReadAbs = _fakeLobReadAbs;
  pts->pzortsLOB->iSource = ZORTS_SOURCE_BACKUP;
  pts->pzortsLOB->iType = ZORTS_TYPE_SMS;
  pts->pzortsLOB->ilPageSize = kPageSize;

  zortask *ptask = zortaskCreateNamed(nullptr);
  ptask->ulFlags = ZORURUN_SELFLAG_LOB;
  part *ppart = partCreate(0, 1, nullptr, nullptr, nullptr, 0);
  ppart->pzorts = pts;
  unload *punload = unloadCreate(ppart, ptask, UNLOAD_LONGCOL_LOB);
  std::vector<std::vector<Bytes>> vGot;
  {
    Reader r(punload, 2);
    EXPECT_EQ(r.Run([&](zorurunReader *p) { return unloadTableDB2Seq("inst", kObjId, p); }, &vGot), 0);
  }
  Bytes vWant = vWith;
  int32_t ilAt = static_cast<int32_t>(vWith.size()) - 8;
  int32_t ilDesc = static_cast<int16_t>(vWith[8 + 4] | vWith[8 + 5] << 8);
  db2pages::putLE32(vWant, 8 + ilDesc + 12, 100);
  db2pages::putLE32(vWant, 8 + ilDesc + 56, static_cast<uint32_t>(ilAt));
  for (int i = 0; i < 100; i++) vWant.push_back(static_cast<unsigned char>(i * 3 + 1));
  for (const auto &v : vGot) {
    ASSERT_EQ(v.size(), 2u);
    EXPECT_EQ(v[0], vWant);
    EXPECT_EQ(v[1], vNull);
  }
  zortsDestroy(ppart->pzorts);
  ppart->pzorts = nullptr;
  unloadDestroy(punload);
  partDestroy(ppart);
  zortaskDestroy(ptask);
}

/*
** Read through helper threads, the pages a table-space object serves give
** what the loop gives reading them itself: the same records to every
** pair, the same messages, the same end, whatever the batches.  Among 30
** pages, served out of order: calls without a page, pages carrying another
** number than the one they must be, a broken slot directory, a slot past the page, the
** table's descriptor in a row's place, pairs stopped, a source that fails
** or ends before the table's last page.
*/
TEST_F(UnloadTs, HelpersSendWhatThePageByPageReadSends)
{
  struct Case {
    const char *pcWhat;
    std::vector<uint32_t> vDamaged;   /* pages made damaged */
    bool boDescMoved;                 /* slot 3 of object page 12 holds the descriptor */
    int iEndCode;
    int32_t ilPageCount;              /* the table's pages, as its descriptor gives them */
    std::vector<int> vStopped;
    bool boClean;
  } const acases[] = {
      {"sound pages", {}, false, ZORTS_RC_END, 30, {}, true},
      {"damaged pages among sound ones", {4, 9, 13, 22, 23}, false, ZORTS_RC_END, 30, {}, false},
      {"the descriptor in a row's place", {}, true, ZORTS_RC_END, 30, {}, false},
      {"a source that fails", {9}, false, ZORTS_RC_READ, 30, {}, false},
      {"a source that ends before the last page", {}, false, ZORTS_RC_ENDEMP, 34, {}, false},
      {"one pair stopped", {13}, false, ZORTS_RC_END, 30, {0}, false},
      {"every pair stopped", {}, false, ZORTS_RC_END, 30, {0, 1}, false},
  };
  for (const Case &c : acases) {
    SCOPED_TRACE(c.pcWhat);
    SetUp();
    gvPages.clear();
    std::vector<Bytes> vWant;
    for (uint32_t i = 0; i < 30; i++) {
      /* served two by two in reverse order: object page 12 is the 12th page served;
         rows 0, 1 and 2 of a page lie in slots 0, 3 and 5 (page 0: 4, 7 and 9) */
      uint32_t p = i ^ 1;
      Bytes v = fictable::Page(kPageSize, p, 30, nullptr);
      int64_t llExpected = -1;
      std::vector<int> vLost;
      if (std::find(c.vDamaged.begin(), c.vDamaged.end(), p) != c.vDamaged.end()) {
        switch (p % 3) {
          case 0: llExpected = p + 100, vLost = {0, 1, 2}; break;                 /* it must be another page */
          case 1: db2pages::putLE16(v, db2pages::kSlotDir, 0xFFFE), vLost = {0, 1, 2}; break;  /* slot count below zero */
          default: db2pages::putLE16(v, db2pages::kSlotDir + 20 + 2 * 3, 5000), vLost = {1}; break;  /* slot 3 past the page */
        }
      }
      if (c.boDescMoved && p == 12) vLost = {1};
      for (int i = 0; i < 3; i++)
        if (std::find(vLost.begin(), vLost.end(), i) == vLost.end())
          vWant.push_back(fictable::Row(static_cast<int>(p) * 10 + i));
      gvExpected.resize(gvPages.size(), -1);
      gvExpected.push_back(llExpected);
      gvPages.push_back(v);
      if (p % 7 == 3) gvPages.push_back(Bytes{});
    }
    part *ppart = partCreate(0, 30, nullptr, nullptr, nullptr, 0);
    ppart->pzorts = _fakeTs();
    ppart->pzorts->ilPageCount = c.ilPageCount;
    if (c.boDescMoved) {
      ppart->pzorts->boDescMoved = 1;
      ppart->pzorts->llDescPage = 12;
      ppart->pzorts->iDescSlot = 3;
    }
    giEndCode = c.iEndCode;
    unload *punload = unloadCreate(ppart, nullptr, 0);
    zavtestTempDir dir;
    std::vector<ReadResult> vres;
    for (const Tuning &t : gaTunings) {
      gulNext = 0;
      vres.push_back(ReadTuned(punload, 2, c.vStopped, t, dir.path + "/msgs"));
    }
    if (c.boClean) {
      EXPECT_EQ(vres[0].iRc, 0);
      EXPECT_TRUE(vres[0].vMsgs.empty());
    }
    if (c.vStopped.empty()) {
      EXPECT_EQ(vres[0].vGot, (std::vector<std::vector<Bytes>>{vWant, vWant}));
    }
    if (!c.vDamaged.empty() && c.vStopped.empty()) {
      EXPECT_FALSE(vres[0].vMsgs.empty());   /* the damage reaches the page-by-page read */
    }
    ExpectEveryTuningReadsAsPageByPage(vres);
    zortsDestroy(ppart->pzorts);
    ppart->pzorts = nullptr;
    unloadDestroy(punload);
    partDestroy(ppart);
  }
}

TEST_F(UnloadTs, ObjectThatCannotStartEndsThePairsWithItsCode)
{
  part *ppart = partCreate(0, 4, nullptr, nullptr, nullptr, 0);
  ppart->pzorts = _fakeTs();
  ppart->pzorts->iSource = 0;   /* neither a backup nor the online reader */
  unload *punload = unloadCreate(ppart, nullptr, 0);
  std::vector<std::vector<Bytes>> vGot;
  {
    Reader r(punload, 2);
    EXPECT_EQ(r.Run([&](zorurunReader *p) { return unloadTableDB2Seq("inst", kObjId, p); }, &vGot),
              ZORTS_RC_UNKNOWN_SOURCE & 0xFF);
  }
  EXPECT_TRUE(vGot[0].empty());
  EXPECT_TRUE(vGot[1].empty());
  zortsDestroy(ppart->pzorts);
  ppart->pzorts = nullptr;
  unloadDestroy(punload);
  partDestroy(ppart);
}

TEST(UnloadInit, EachRecordHoldsItsValueAndTheSharedWords)
{
  const intptr_t al[3] = {10, 20, 30};
  unloadInitRecord *arec = unloadInit(3, al, 1, 2, 3, 4, 5, 6, 7, 8);
  ASSERT_NE(arec, nullptr);
  for (int i = 0; i < 3; i++) {
    EXPECT_EQ(arec[i].lValue, al[i]);
    for (int w = 0; w < 8; w++) EXPECT_EQ(arec[i].alWords[w], w + 1);
  }
  free(arec);
  EXPECT_EQ(unloadInit(-1, al, 0, 0, 0, 0, 0, 0, 0, 0), nullptr);
}

}  // namespace
