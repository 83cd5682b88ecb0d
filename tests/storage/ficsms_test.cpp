/*
** ficsms_test.cpp
**   SMS table files: the check of a table's files over the containers (page
**   count, absent and forbidden files), the long-field file opens, and a
**   table read page by page by a forked reader into a record channel, its
**   descriptor followed through a pointer record.
*/
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/ochar.h"
#include "common/olist.h"
#include "storage/ficcont.h"
#include "storage/ficdata.h"
#include "storage/ficsms.h"
#include "tests/storage/fictable.h"
#include "tests/zavtest.h"
#include "tools/db2spcs.h"

namespace {

using fictable::Bytes;

const int32_t kPageSize = 4096;
const int32_t kFileId = 5;

class Ficsms : public ::testing::Test {
 protected:
  void SetUp() override
  {
    strDb = dir.path + "/db/";
    ts.sId = 2;
    ts.strName = "SMSSPACE";
    ts.ulFlags = FICCONT_TYPE_SMS;
    ts.ulExtentSize = 2;
    for (const char *pc : {"c0", "c1", "c2"}) {
      std::filesystem::create_directories(strDb + pc);
      ts.vContainers.push_back({pc, 0, 0, 0, static_cast<uint32_t>(kPageSize)});
    }
    ASSERT_TRUE(db2spcsWriteFile(strDb + "SQLSPCS.1", {ts}));
    ochar *pchar = ocharCreate(0, 850);
    ocharAppendFixedS(pchar, ts.strName.data(), static_cast<int32_t>(ts.strName.size()));
    ASSERT_EQ(ficcontGetLocalPart(&plist, "hosta", "SAMPLE", pchar, strDb.c_str(), 0), 0);
    ocharDestroy(pchar);
    ASSERT_NE(plist, nullptr);
    pficcont = static_cast<ficcont *>(plist->pitemTop);
    ASSERT_NE(pficcont, nullptr);
  }
  void TearDown() override { olistDestroy(plist); }

  std::string File(int iCont, int32_t ilFileId = kFileId, const char *pcExt = FICSMS_EXT_DAT)
  {
    char ac[1024];
    std::snprintf(ac, sizeof ac, FICSMS_FILE_FORMAT, (strDb + "c" + std::to_string(iCont)).c_str(), ilFileId, pcExt);
    return ac;
  }

  /* Writes table pages where the SMS mapping puts them. */
  void WritePages(int32_t ilFileId, const std::vector<Bytes> &vPages)
  {
    ficsmsConf conf{0, static_cast<int32_t>(ts.ulExtentSize), 3};
    for (size_t p = 0; p < vPages.size(); p++) {
      int32_t ilCont = -1;
      int32_t ilPage = ficsmsIdentifyPage(&conf, ilFileId, static_cast<int32_t>(p), &ilCont);
      int iFd = open(File(ilCont, ilFileId).c_str(), O_CREAT | O_WRONLY, 0644);
      ASSERT_GE(iFd, 0);
      ASSERT_EQ(pwrite(iFd, vPages[p].data(), vPages[p].size(), static_cast<off_t>(ilPage) * kPageSize),
                static_cast<ssize_t>(vPages[p].size()));
      close(iFd);
    }
  }

  /* The table: ulPages object pages of three rows each. */
  std::vector<Bytes> Table(uint32_t ulPages)
  {
    std::vector<Bytes> vPages;
    for (uint32_t p = 0; p < ulPages; p++) vPages.push_back(fictable::Page(kPageSize, p, ulPages, &vRows));
    return vPages;
  }

  int Control(int32_t ilFileId, std::vector<std::string> *pvMsgs)
  {
    piAccess = static_cast<int *>(calloc(3, sizeof(int)));
    int iOk = 0;
    *pvMsgs = zavtestMessages(
        [&] { iOk = ficsmsControlFiles(pficcont, ilFileId, FICSMS_EXT_DAT, "inst", apcNames, piAccess, &ilPages); });
    return iOk;
  }

  zavtestTempDir dir;
  std::string strDb;
  db2spcsTablespace ts;
  olist *plist = nullptr;
  ficcont *pficcont = nullptr;
  std::vector<Bytes> vRows;
  char *apcNames[3] = {nullptr, nullptr, nullptr};
  int *piAccess = nullptr;
  int32_t ilPages = -1;
};

TEST_F(Ficsms, CheckCountsThePagesOfTheContainersThatHoldTheFile)
{
  /* four pages in extents of two: containers 2 and 0 hold the file, container 1 none */
  WritePages(kFileId, Table(4));
  ASSERT_FALSE(std::filesystem::exists(File(1)));
  std::vector<std::string> vMsgs;
  ASSERT_EQ(Control(kFileId, &vMsgs), 1);
  EXPECT_TRUE(vMsgs.empty());
  EXPECT_EQ(ilPages, 4);
  EXPECT_EQ(std::vector<int>(piAccess, piAccess + 3), (std::vector<int>{0, -1, 0}));
  EXPECT_EQ(std::string(apcNames[1]), File(1));

  int iFds = fictable::OpenFds();
  int *piFd = ficsmsOpenFiles(pficcont, "inst", apcNames, piAccess);
  ASSERT_NE(piFd, nullptr);
  EXPECT_GE(piFd[0], 0);
  EXPECT_EQ(piFd[1], -1);
  EXPECT_GE(piFd[2], 0);
  EXPECT_EQ(apcNames[0], nullptr);   /* the names are given back */
  ficsmsCloseFiles(pficcont, piFd, piAccess);
  EXPECT_EQ(fictable::OpenFds(), iFds);
}

TEST_F(Ficsms, NoFileInAnyContainerIsReportedPerContainer)
{
  std::vector<std::string> vMsgs;
  EXPECT_EQ(Control(kFileId, &vMsgs), 0);
  ASSERT_EQ(vMsgs.size(), 3u);
  for (int i = 0; i < 3; i++) EXPECT_EQ(vMsgs[i], "ZORU319E FILE " + File(i) + " NOT FOUND\n");
  for (char *pc : apcNames) EXPECT_EQ(pc, nullptr);
  free(piAccess);
}

TEST_F(Ficsms, ForbiddenFileStopsTheCheck)
{
  WritePages(kFileId, Table(4));
  ASSERT_EQ(chmod(dir.path.c_str(), 0755), 0);
  ASSERT_EQ(chmod(File(2).c_str(), 0), 0);
  EXPECT_TRUE(fictable::AsUnprivileged([&] {
    std::vector<std::string> vMsgs;
    bool bo = Control(kFileId, &vMsgs) == 0 && vMsgs.size() == 1 &&
              vMsgs[0] == "ZORU318E UNAUTHORIZED ACCESS ON FILE " + File(2) + "\n" && piAccess[2] == -2;
    for (char *pc : apcNames) bo = bo && pc == nullptr;
    return bo;
  }));
}

TEST_F(Ficsms, LongFieldFilesOpenWhereTheyExist)
{
  int iOk = -1;
  int *piAccessLF = nullptr;
  int *piFd = nullptr;
  std::vector<std::string> vMsgs =
      zavtestMessages([&] { piFd = ficsmsOpenLFFiles(kFileId, pficcont, &iOk, &piAccessLF, "inst"); });
  EXPECT_EQ(iOk, 0);
  ASSERT_EQ(vMsgs.size(), 3u);
  EXPECT_EQ(vMsgs[0], "ZORU319E FILE " + File(0, kFileId, FICSMS_EXT_LF) + " NOT FOUND\n");
  ficsmsCloseFiles(pficcont, piFd, piAccessLF);

  std::ofstream(File(1, kFileId, FICSMS_EXT_LB)) << "lob";
  vMsgs = zavtestMessages([&] { piFd = ficsmsOpenLOBFiles(kFileId, pficcont, &iOk, &piAccessLF, "inst"); });
  EXPECT_EQ(iOk, 1);
  EXPECT_TRUE(vMsgs.empty());
  ASSERT_NE(piFd, nullptr);
  EXPECT_EQ(piFd[0], -1);
  EXPECT_GE(piFd[1], 0);
  EXPECT_EQ(std::vector<int>(piAccessLF, piAccessLF + 3), (std::vector<int>{-1, 0, -1}));
  ficsmsCloseFiles(pficcont, piFd, piAccessLF);
}

/* Reads the table as the SMS reader process does: the first page, then every page into the channel. */
TEST_F(Ficsms, ForkedReaderSendsEveryRowOfEveryPage)
{
  const uint32_t ulPages = 7;
  WritePages(kFileId, Table(ulPages));
  int iFds = fictable::OpenFds();
  std::vector<std::string> vMsgs;
  ASSERT_EQ(Control(kFileId, &vMsgs), 1);
  EXPECT_EQ(ilPages, 7);
  int *piFd = ficsmsOpenFiles(pficcont, "inst", apcNames, piAccess);
  ficsmsConf *pconf = ficsmsInitConf(pficcont);
  ficdata *pficdata = ficdataCreate(kPageSize, 0, nullptr, 0);
  ASSERT_NE(pficdata, nullptr);
  pficdata->pConf = pconf;
  ficdataInfoTable info;
  ASSERT_EQ(ficdataInitInfoTable(pficcont, kFileId, pficcont->sTbsId, 0, 0, &info), 0);
  ficdataTableDesc desc{};
  ficdataTableDir tdir{};
  int32_t ilTablePages = -1;
  ASSERT_EQ(ficdataGetEnreg(pficdata, piFd, nullptr, FICDATA_SLOT_DESCRIPTOR, &info, &desc, &ilTablePages, &tdir,
                            0, 0, _ficsmsMapPage), 1);
  EXPECT_EQ(ilTablePages, 7);
  ASSERT_EQ(desc.sColumnCount, 3);
  EXPECT_EQ(desc.pcolumns[1].sType, 257);

  fictable::Channel chan;
  ASSERT_NE(chan.povf, nullptr);
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    alarm(60);
    std::vector<unsigned char> vBuffer(static_cast<size_t>(ficdataSizeEnreg(&desc)));
    ficdataPair pair{chan.povf, nullptr, nullptr};
    ficdataSlots slots;
    for (int32_t p = 0; p < ilTablePages; p++) {
      int32_t ilCont = -1;
      info.ilPhysicalPage = ficsmsIdentifyPage(pconf, kFileId, p, &ilCont);
      if (!ficdataGetDB2Enregs(pficdata, piFd[ilCont], nullptr, &info, &desc, &slots, 0, vBuffer.data(),
                               static_cast<int32_t>(vBuffer.size()), &pair, 1))
        break;
    }
    if (pair.povf != nullptr) ovfWrite(pair.povf, nullptr, 0);
    _exit(pficdata->ilReadCode != 0 ? 3 : 0);
  }
  std::vector<Bytes> vGot = chan.ReadAll();
  EXPECT_EQ(fictable::Wait(pid), 0);
  EXPECT_EQ(vGot, vRows);
  free(desc.pcolumns);
  ficdataDestroy(pficdata);
  free(pconf);
  ficsmsCloseFiles(pficcont, piFd, piAccess);
  EXPECT_EQ(fictable::OpenFds(), iFds);
}

TEST_F(Ficsms, DescriptorPointerIsFollowedAndThePageCountKeptFromTheFirstPage)
{
  /* page 0 points at slot 1 of page 3, past the table's three pages; that page has a header of its own */
  std::vector<Bytes> vPages = Table(3);
  vPages[0] = db2pages::page(kPageSize, 0, {db2pages::fileHeader(3), Bytes{}, db2pages::other(0),
                                            db2pages::pointer(3, 1)});
  vPages.push_back(db2pages::page(kPageSize, 3, {db2pages::fileHeader(99), db2pages::descriptor(fictable::Columns())}));
  for (Bytes &p : vPages) db2empSeal(p.data(), kPageSize);
  WritePages(kFileId, vPages);
  std::vector<std::string> vMsgs;
  ASSERT_EQ(Control(kFileId, &vMsgs), 1);
  int *piFd = ficsmsOpenFiles(pficcont, "inst", apcNames, piAccess);
  ficsmsConf *pconf = ficsmsInitConf(pficcont);
  ficdata *pficdata = ficdataCreate(kPageSize, 0, nullptr, 0);
  pficdata->pConf = pconf;
  ficdataInfoTable info;
  ficdataInitInfoTable(pficcont, kFileId, pficcont->sTbsId, 0, 0, &info);
  ficdataTableDesc desc{};
  int32_t ilTablePages = -1;
  EXPECT_EQ(ficdataGetEnreg(pficdata, piFd, nullptr, FICDATA_SLOT_DESCRIPTOR, &info, &desc, &ilTablePages, nullptr,
                            0, 0, _ficsmsMapPage), 1);
  EXPECT_EQ(ilTablePages, 3);
  EXPECT_EQ(desc.sColumnCount, 3);
  EXPECT_EQ(info.ilLogicalPage, 3);
  EXPECT_EQ(info.ilObjectPage, -1);
  free(desc.pcolumns);

  /* a pointer that points at itself ends with a failure instead of reading forever */
  desc = ficdataTableDesc{};
  Bytes vLoop = db2pages::page(kPageSize, 0, {db2pages::fileHeader(3), Bytes{}, db2pages::other(0),
                                              db2pages::pointer(0, 3)});
  db2empSeal(vLoop.data(), kPageSize);
  WritePages(kFileId, {vLoop});
  ficdataInitInfoTable(pficcont, kFileId, pficcont->sTbsId, 0, 0, &info);
  EXPECT_EQ(ficdataGetEnreg(pficdata, piFd, nullptr, FICDATA_SLOT_DESCRIPTOR, &info, &desc, &ilTablePages, nullptr,
                            0, 0, _ficsmsMapPage), 0);
  EXPECT_EQ(desc.pcolumns, nullptr);
  ficdataDestroy(pficdata);
  free(pconf);
  ficsmsCloseFiles(pficcont, piFd, piAccess);
}

TEST_F(Ficsms, StoppedPairIsDroppedAndReadingEndsWhenNoPairIsLeft)
{
  WritePages(kFileId, Table(7));
  std::vector<std::string> vMsgs;
  ASSERT_EQ(Control(kFileId, &vMsgs), 1);
  int *piFd = ficsmsOpenFiles(pficcont, "inst", apcNames, piAccess);
  ficsmsConf *pconf = ficsmsInitConf(pficcont);
  ficdata *pficdata = ficdataCreate(kPageSize, 0, nullptr, 0);
  pficdata->pConf = pconf;
  ficdataInfoTable info;
  ficdataInitInfoTable(pficcont, kFileId, pficcont->sTbsId, 0, 0, &info);
  ficdataTableDesc desc{};
  int32_t ilTablePages = -1;
  ASSERT_EQ(ficdataGetEnreg(pficdata, piFd, nullptr, FICDATA_SLOT_DESCRIPTOR, &info, &desc, &ilTablePages, nullptr,
                            0, 0, _ficsmsMapPage), 1);

  /* the child's exit status: the pages it read before it stopped */
  auto read = [&](std::vector<fictable::Channel *> vChans) {
    pid_t pid = fork();
    if (pid == 0) {
      alarm(60);
      std::vector<unsigned char> vBuffer(static_cast<size_t>(ficdataSizeEnreg(&desc)));
      std::vector<ficdataPair> vPairs;
      for (fictable::Channel *pc : vChans) vPairs.push_back({pc->povf, nullptr, nullptr});
      ficdataSlots slots;
      int32_t p = 0;
      while (p < ilTablePages) {
        int32_t ilCont = -1;
        info.ilPhysicalPage = ficsmsIdentifyPage(pconf, kFileId, p++, &ilCont);
        if (!ficdataGetDB2Enregs(pficdata, piFd[ilCont], nullptr, &info, &desc, &slots, 0, vBuffer.data(),
                                 static_cast<int32_t>(vBuffer.size()), vPairs.data(), static_cast<int32_t>(vPairs.size())))
          break;
      }
      for (ficdataPair &pair : vPairs)
        if (pair.povf != nullptr) ovfWrite(pair.povf, nullptr, 0);
      _exit(p);
    }
    return pid;
  };

  /* one writer stopped: the other pair still gets every row */
  {
    fictable::Channel chanA, chanB;
    ovfStop(chanA.povf);
    pid_t pid = read({&chanA, &chanB});
    std::vector<Bytes> vGotB = chanB.ReadAll();
    EXPECT_TRUE(chanA.ReadAll().empty());
    EXPECT_EQ(fictable::Wait(pid), 7);
    EXPECT_EQ(vGotB, vRows);
  }
  /* both stopped: reading ends on the first page */
  {
    fictable::Channel chanA, chanB;
    ovfStop(chanA.povf);
    ovfStop(chanB.povf);
    pid_t pid = read({&chanA, &chanB});
    EXPECT_TRUE(chanA.ReadAll().empty());
    EXPECT_TRUE(chanB.ReadAll().empty());
    EXPECT_EQ(fictable::Wait(pid), 1);
  }
  free(desc.pcolumns);
  ficdataDestroy(pficdata);
  free(pconf);
  ficsmsCloseFiles(pficcont, piFd, piAccess);
}

TEST_F(Ficsms, SamplingCountsTheDataRecordsInPageAndSlotOrder)
{
  WritePages(kFileId, Table(3));
  std::vector<std::string> vMsgs;
  ASSERT_EQ(Control(kFileId, &vMsgs), 1);
  int *piFd = ficsmsOpenFiles(pficcont, "inst", apcNames, piAccess);
  ficsmsConf *pconf = ficsmsInitConf(pficcont);
  ficdata *pficdata = ficdataCreate(kPageSize, 0, nullptr, 0);
  pficdata->pConf = pconf;
  pficdata->psampling = static_cast<ficdataSampling *>(calloc(1, sizeof(ficdataSampling)));
  *pficdata->psampling = ficdataSampling{1, 2, 3, 0, 0, -1};   /* SKIP 2, INTERVAL 3 */
  ficdataInfoTable info;
  ficdataInitInfoTable(pficcont, kFileId, pficcont->sTbsId, 0, 0, &info);
  ficdataTableDesc desc{};
  ASSERT_EQ(ficdataGetEnreg(pficdata, piFd, nullptr, FICDATA_SLOT_DESCRIPTOR, &info, &desc, nullptr, nullptr, 0, 0,
                            _ficsmsMapPage), 1);
  fictable::Channel chan;   /* small enough to be written without a reader */
  std::vector<unsigned char> vBuffer(static_cast<size_t>(ficdataSizeEnreg(&desc)));
  ficdataPair pair{chan.povf, nullptr, nullptr};
  ficdataSlots slots;
  for (int32_t p = 0; p < 3; p++) {
    int32_t ilCont = -1;
    info.ilPhysicalPage = ficsmsIdentifyPage(pconf, kFileId, p, &ilCont);
    ASSERT_EQ(ficdataGetDB2Enregs(pficdata, piFd[ilCont], nullptr, &info, &desc, &slots, 0, vBuffer.data(),
                                  static_cast<int32_t>(vBuffer.size()), &pair, 1), 1);
  }
  ovfWrite(chan.povf, nullptr, 0);
  std::vector<Bytes> vExpected = {vRows[2], vRows[5], vRows[8]};
  EXPECT_EQ(chan.ReadAll(), vExpected);
  EXPECT_EQ(pficdata->psampling->ilCounter, 9);   /* rows only: header, pointer and other records are not counted */
  free(desc.pcolumns);
  ficdataDestroy(pficdata);
  free(pconf);
  ficsmsCloseFiles(pficcont, piFd, piAccess);
}

}  // namespace
