/*
** ficdms_test.cpp
**   DMS containers: the access configuration of a partition record, the
**   check and opening of the containers, and a table read by a forked
**   record reader fed with page numbers over a pipe by the extent-map walk,
**   its rows arriving in the record channel exactly; containers absent or
**   cut short.
*/
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/ochar.h"
#include "common/olist.h"
#include "model/tools.h"
#include "storage/ficcont.h"
#include "storage/ficdata.h"
#include "storage/ficdms.h"
#include "storage/ficdmsemp.h"
#include "tests/storage/dmsspace.h"
#include "tests/storage/empspace.h"
#include "tests/storage/fictable.h"
#include "tests/zavtest.h"
#include "tools/db2spcs.h"

namespace {

using fictable::Bytes;

using dmsspace::kObjId;
using dmsspace::kPageSize;
using dmsspace::kTablePages;
using dmsspace::kTbsId;

/* The table space of tests/storage/dmsspace.h. */
class Ficdms : public dmsspaceTest {
 protected:
  /*
  ** The reader pair as the partition read driver runs it: this process
  ** lists the pages into the pipe, a forked record reader decodes them into
  ** the channel.  Returns the child's exit status (3 when a page read
  ** failed) and the records received.
  */
  int ReadTable(std::vector<Bytes> *pvGot, std::vector<std::string> *pvMsgs)
  {
    int *piFd = ficdmsOpenFiles(pficcont, "inst");
    ficdmsConf *pconf = ficdmsInitConf(pficcont);
    EXPECT_EQ(ficdmsInitBuffers(pconf, kPageSize), 0);
    ficdata *pficdata = ficdataCreate(kPageSize, 0, nullptr, 0);
    pficdata->pConf = pconf;
    int32_t ilCount = 0;
    ficdmsTabObj *pobj = ficdmsInitTabObj(pconf, piFd, 0, 0, &ilCount);
    int32_t ilFirst = -1;
    EXPECT_EQ(ficdmsGetFirstDataPage(pobj, ilCount, kObjId, kTbsId, &ilFirst), 0);
    EXPECT_EQ(ilFirst, 100);
    ficdataInfoTable info;
    EXPECT_EQ(ficdataInitInfoTable(pficcont, kObjId, kTbsId, 0, 0, &info), 0);
    info.ilLogicalPage = ilFirst;
    ficdataTableDesc desc{};
    ficdataTableDir tdir{};
    int32_t ilPages = -1;
    int iDesc = ficdataGetEnreg(pficdata, piFd, nullptr, FICDATA_SLOT_DESCRIPTOR, &info, &desc, &ilPages, &tdir, 0,
                                0, _ficdmsMapPage);
    EXPECT_EQ(iDesc, 1);
    EXPECT_EQ(ilPages, static_cast<int32_t>(kTablePages));

    fictable::Channel chan;
    int aiPipe[2];
    EXPECT_EQ(pipe(aiPipe), 0);
    pid_t pid = fork();
    if (pid == 0) {
      alarm(60);
      close(aiPipe[1]);
      std::vector<unsigned char> vBuffer(static_cast<size_t>(ficdataSizeEnreg(&desc)));
      ficdataPair pair{chan.povf, nullptr, nullptr};
      ficdataSlots slots;
      int32_t ilPage = 0;
      bool boGo = toolsReadInPipe(aiPipe[0], &ilPage, 4) == 4;   /* the first extent's page: not used */
      for (int32_t i = 0; boGo && i < ilPages; i++) {
        if (toolsReadInPipe(aiPipe[0], &ilPage, 4) != 4) break;
        int32_t ilCont = -1;
        info.ilPhysicalPage = ficdmsIdentifyPage(pconf, 0, ilPage, &ilCont);
        boGo = ilCont >= 0 && ficdataGetDB2Enregs(pficdata, piFd[ilCont], nullptr, &info, &desc, &slots, 0,
                                                  vBuffer.data(), static_cast<int32_t>(vBuffer.size()), &pair, 1);
      }
      if (pair.povf != nullptr) ovfWrite(pair.povf, nullptr, 0);
      _exit(pficdata->ilReadCode != 0 ? 3 : 0);
    }
    EXPECT_GT(pid, 0);
    close(aiPipe[0]);
    *pvMsgs = zavtestMessages([&] {
      EXPECT_EQ(ficdmsGetDataPages(pconf, piFd, 0, 0, pobj, ilCount, kObjId, kTbsId, aiPipe[1]), 0);
    });
    close(aiPipe[1]);
    *pvGot = chan.ReadAll();
    int iStatus = fictable::Wait(pid);
    free(desc.pcolumns);
    ficdmsFreeTabObj(pobj, ilCount);
    ficdataDestroy(pficdata);
    ficdmsFreeBuffers(pconf);
    ficdmsCloseFiles(pficcont, piFd);
    return iStatus;
  }

};

TEST_F(Ficdms, ConfigurationBorrowsTheRecordsGeometry)
{
  ficdmsConf *pconf = ficdmsInitConf(pficcont);
  ASSERT_NE(pconf, nullptr);
  EXPECT_EQ(pconf->ilExtentSize, 4);
  EXPECT_EQ(pconf->ilPageSize, kPageSize);
  EXPECT_EQ(pconf->ilContainers, 2);
  EXPECT_EQ(pconf->ilMapCbEntries, 1);
  EXPECT_EQ(pconf->plistCont, pficcont->plistCont);
  EXPECT_EQ(pconf->apucPage[0], nullptr);
  ASSERT_EQ(ficdmsInitBuffers(pconf, kPageSize), 0);
  EXPECT_NE(pconf->apucPage[0], nullptr);
  EXPECT_NE(pconf->apucPage[1], nullptr);
  ficdmsFreeBuffers(pconf);
  ficdmsFreeBuffers(nullptr);
  EXPECT_EQ(ficdmsInitConf(nullptr), nullptr);
}

TEST_F(Ficdms, ForkedReaderFedByThePagePipeSendsEveryRowOnce)
{
  int iFds = fictable::OpenFds();
  std::vector<std::string> vMsgs = zavtestMessages([&] { EXPECT_EQ(ficdmsControlFiles(pficcont, "inst"), 1); });
  EXPECT_TRUE(vMsgs.empty());
  std::vector<Bytes> vGot;
  EXPECT_EQ(ReadTable(&vGot, &vMsgs), 0);
  EXPECT_TRUE(vMsgs.empty());
  ASSERT_EQ(vGot.size(), vRows.size());
  EXPECT_EQ(vGot, vRows);
  EXPECT_EQ(fictable::OpenFds(), iFds);
}

TEST_F(Ficdms, AbsentContainerIsReportedByTheCheck)
{
  std::filesystem::remove(Cont(1));
  std::vector<std::string> vMsgs = zavtestMessages([&] { EXPECT_EQ(ficdmsControlFiles(pficcont, "inst"), 0); });
  ASSERT_EQ(vMsgs.size(), 1u);
  EXPECT_EQ(vMsgs[0], "ZORU319E FILE " + Cont(1) + " NOT FOUND\n");

  /* an open that fails leaves -1 in the container's place */
  int *piFd = nullptr;
  vMsgs = zavtestMessages([&] { piFd = ficdmsOpenFiles(pficcont, "inst"); });
  ASSERT_NE(piFd, nullptr);
  EXPECT_GE(piFd[0], 0);
  EXPECT_EQ(piFd[1], -1);
  ASSERT_EQ(vMsgs.size(), 1u);
  EXPECT_EQ(vMsgs[0].rfind("ZORU347E IO FAILURE ON FILE " + Cont(1), 0), 0u) << vMsgs[0];
  ficdmsCloseFiles(pficcont, piFd);
}

TEST_F(Ficdms, ForbiddenContainerIsReportedByTheCheck)
{
  ASSERT_EQ(chmod(dir.path.c_str(), 0755), 0);
  ASSERT_EQ(chmod(Cont(0).c_str(), 0), 0);
  EXPECT_TRUE(fictable::AsUnprivileged([&] {
    int iOk = -1;
    std::vector<std::string> vMsgs = zavtestMessages([&] { iOk = ficdmsControlFiles(pficcont, "inst"); });
    return iOk == 0 && vMsgs == std::vector<std::string>{"ZORU318E UNAUTHORIZED ACCESS ON FILE " + Cont(0) + "\n"};
  }));
}

TEST_F(Ficdms, ContainerCutShortStopsTheReaderWithAFailure)
{
  /* container 1 ends inside the table's third extent (pages 108-111, object pages 8 to 11) */
  int32_t ilCont = -1;
  ficdmsConf *pconf = ficdmsInitConf(pficcont);
  int32_t ilAt = ficdmsIdentifyPage(pconf, 0, 108, &ilCont);
  ficdmsFreeBuffers(pconf);
  ASSERT_EQ(ilCont, 1);
  ASSERT_EQ(truncate(Cont(1).c_str(), static_cast<off_t>(ilAt) * kPageSize + 100), 0);

  std::vector<Bytes> vGot;
  std::vector<std::string> vMsgs;
  EXPECT_EQ(ReadTable(&vGot, &vMsgs), 3);
  /* the rows of object pages 0 to 7 came, and none after the cut */
  std::vector<Bytes> vBefore(vRows.begin(), vRows.begin() + 24);
  EXPECT_EQ(vGot, vBefore);

  /* the failed read names the container and what came */
  int *piFd = ficdmsOpenFiles(pficcont, "inst");
  ficdata *pficdata = ficdataCreate(kPageSize, 0, nullptr, 0);
  ficdataInfoTable info;
  ficdataInitInfoTable(pficcont, kObjId, kTbsId, 0, 0, &info);
  info.ilPhysicalPage = ilAt;
  ficdataTableDesc desc{};
  ficdataSlots slots;
  unsigned char aucBuffer[64];
  int iGo = -1;
  vMsgs = zavtestMessages([&] {
    iGo = ficdataGetDB2Enregs(pficdata, piFd[1], nullptr, &info, &desc, &slots, 0, aucBuffer, sizeof aucBuffer,
                              nullptr, 0);
  });
  EXPECT_EQ(iGo, 0);
  EXPECT_EQ(pficdata->ilReadCode, FICDATA_RC_READ);
  ASSERT_EQ(vMsgs.size(), 1u);
  EXPECT_EQ(vMsgs[0], "ZORU347E IO FAILURE ON FILE " + Cont(1) + " (page " + std::to_string(ilAt) +
                          ": 100 of 4096 bytes)\n");
  ficdataDestroy(pficdata);
  ficdmsCloseFiles(pficcont, piFd);
}

}  // namespace
