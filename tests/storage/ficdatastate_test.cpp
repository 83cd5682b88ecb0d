/*
** ficdatastate_test.cpp
**   The first-generation reader state: what it takes from the SELECT task
**   (sampling, MAXROWS, the LOB directory of its partition, the LOBFILE
**   template) and the LOB file names it then builds.
*/
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/obf.h"
#include "common/ochar.h"
#include "common/olist.h"
#include "model/token.h"
#include "model/udb.h"
#include "model/zoratom.h"
#include "model/zortask.h"
#include "storage/ficdata.h"

namespace {

ochar *Text(const char *pc)
{
  ochar *pchar = ocharCreate(32, 850);
  ocharAppendFixed(pchar, pc, static_cast<int32_t>(std::strlen(pc)));
  return pchar;
}

std::string Str(const ochar *pchar)
{
  return pchar == nullptr ? std::string("<none>") : std::string(_charText(pchar), static_cast<size_t>(pchar->ilBU));
}

/* An UNLOAD task owning a SELECT task; LOB IN ("/lob12" FOR PARTS (1, 2), "/lob3" FOR PARTS (3), "/any"). */
class FicdataState : public ::testing::Test {
 protected:
  void SetUp() override
  {
    ASSERT_EQ(tokenInitKeyword(), 0);
    ptaskUnload = zortaskCreateNamed(gapnameTotalToken[TOKEN_UNLOAD]);
    ptaskSelect = zortaskCreateNamed(nullptr);
    ASSERT_EQ(zortaskAddSubTask(ptaskUnload, ptaskSelect), 0);
    plistLob = olistCreateRef(nullptr, nullptr);
    AddLob("/lob12", {1, 2});
    AddLob("/lob3", {3});
    AddLob("/any", {});
    plistLobFile = olistCreateRef(nullptr, nullptr);
    olistAppendRef(plistLobFile, Text("lob.dat"), 0);
    olistAppendRef(plistLobFile, Text("second.dat"), 0);
  }
  void TearDown() override
  {
    zortaskDestroy(ptaskUnload);
    for (udbLobPath *p : vLobs) udbLobPathDestroy(p);
    vLobs.clear();
    olistDestroy(plistLob);
    for (void *p = plistLobFile->pitemTop; p != nullptr; p = static_cast<olistItem *>(p)->pitemNext)
      ocharDestroy(static_cast<ochar *>(static_cast<olistRef *>(p)->pData));
    olistDestroy(plistLobFile);
  }

  void AddLob(const char *pcPath, const std::vector<uint32_t> &vParts)
  {
    udbLobPath *plob = udbLobPathCreate();
    plob->pcharPath = Text(pcPath);
    plob->pobfPart = obfCreate(vParts.empty() ? 255 : vParts.back() + 1);
    for (uint32_t ul : vParts) obfSet(plob->pobfPart, ul);
    vLobs.push_back(plob);
    olistAppendRef(plistLob, plob, 0);
  }

  void Int(zortask *ptask, int iToken, int32_t il)
  {
    ASSERT_EQ(zortaskAddAtom(ptask, zoratomCreate(gapnameTotalToken[iToken], ZORATOM_INTEGER, 0,
                                                  static_cast<uintptr_t>(static_cast<intptr_t>(il)), nullptr, nullptr)), 0);
  }

  void Lists()
  {
    ASSERT_EQ(zortaskAddAtom(ptaskUnload, zoratomCreate(gapnameTotalToken[TOKEN_LOB], ZORATOM_OLIST, ZORATOM_BORROWED,
                                                        reinterpret_cast<uintptr_t>(plistLob), nullptr, nullptr)), 0);
    ASSERT_EQ(zortaskAddAtom(ptaskSelect, zoratomCreate(gapnameTotalToken[TOKEN_LOBFILE], ZORATOM_OLIST, ZORATOM_BORROWED,
                                                        reinterpret_cast<uintptr_t>(plistLobFile), nullptr, nullptr)), 0);
  }

  zortask *ptaskUnload = nullptr;
  zortask *ptaskSelect = nullptr;
  olist *plistLob = nullptr;
  olist *plistLobFile = nullptr;
  std::vector<udbLobPath *> vLobs;
};

TEST_F(FicdataState, WithoutTaskNoSamplingAndBuffersOfThePageSize)
{
  ficdata *p = ficdataCreate(8192, 2, nullptr, FICDATA_LONG_LF);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->ilPageSize, 8192);
  EXPECT_EQ(p->ilPart, 2);
  EXPECT_EQ(p->iLongFlags, FICDATA_LONG_LF);
  EXPECT_EQ(p->psampling, nullptr);
  EXPECT_EQ(p->pcharLobDir, nullptr);
  EXPECT_EQ(p->pcharLobFile, nullptr);
  EXPECT_EQ(p->pConf, nullptr);
  p->apcPage[0][8191] = 1;   /* whole pages (the sanitizer checks the bounds) */
  p->apcPage[1][8191] = 1;
  ficdataDestroy(p);
  ficdataDestroy(nullptr);
  EXPECT_EQ(ficdataCreate(1000, 0, nullptr, 0), nullptr);
}

TEST_F(FicdataState, SamplingAndMaxRowsComeFromTheTaskAndItsOwners)
{
  struct Case {
    int iSkip, iInterval, iMaxRows;   /* -2: no atom */
    int iOn;
    int64_t llMaxRows;
  };
  const Case acases[] = {
      {-2, -2, -2, 0, -1},   /* nothing given: defaults */
      {0, 0, 100, 0, 100},   /* MAXROWS alone leaves sampling off */
      {2, -2, -2, 1, -1},
      {-2, 3, 0, 1, 0},
  };
  for (const Case &c : acases) {
    TearDown();
    SetUp();
    if (c.iSkip != -2) Int(ptaskUnload, TOKEN_SKIP, c.iSkip);   /* found in the owner */
    if (c.iInterval != -2) Int(ptaskSelect, TOKEN_INTERVAL, c.iInterval);
    if (c.iMaxRows != -2) Int(ptaskSelect, TOKEN_MAXROWS, c.iMaxRows);
    ficdata *p = ficdataCreate(4096, 0, ptaskSelect, 0);
    ASSERT_NE(p, nullptr);
    ASSERT_NE(p->psampling, nullptr);
    EXPECT_EQ(p->psampling->iOn, c.iOn) << c.iSkip << " " << c.iInterval;
    EXPECT_EQ(p->psampling->ilSkip, c.iSkip < 0 ? 0 : c.iSkip);
    EXPECT_EQ(p->psampling->ilInterval, c.iInterval < 0 ? 0 : c.iInterval);
    EXPECT_EQ(p->psampling->llMaxRows, c.llMaxRows);
    EXPECT_EQ(p->psampling->ilCounter, 0);
    ficdataDestroy(p);
  }
}

TEST_F(FicdataState, LobDirectoryIsTheFirstEntryForThePartition)
{
  Lists();
  /* an entry without FOR PARTS (empty set) serves every partition */
  const std::pair<int32_t, const char *> acases[] = {{1, "/lob12"}, {2, "/lob12"}, {3, "/lob3"}, {7, "/any"}};
  for (const auto &[ilPart, pcDir] : acases) {
    ficdata *p = ficdataCreate(4096, ilPart, ptaskSelect, FICDATA_LONG_LOB);
    EXPECT_EQ(Str(p->pcharLobDir), pcDir) << ilPart;
    EXPECT_EQ(Str(p->pcharLobFile), "lob.dat");
    ficdataDestroy(p);
  }

  /* the names of the LOB files it then writes */
  ficdata *p = ficdataCreate(4096, 3, ptaskSelect, FICDATA_LONG_LOB);
  char ac[64];
  int32_t il = -1;
  ASSERT_EQ(ficdataGetLBFileName(p, 12, ac, sizeof ac, &il), 0);
  EXPECT_STREQ(ac, "/lob3/lob_3_12.dat");
  EXPECT_EQ(il, 18);
  ficdataDestroy(p);
}

TEST_F(FicdataState, InformationBlocksTakeTheirValues)
{
  ficdataInfoTable info;
  ASSERT_EQ(ficdataInitInfoTableBackup(nullptr, 3, 4, 1, 2, 16384, 0x200, 0x1, &info), 0);
  EXPECT_EQ(info.llOffset, 0x100000200LL);   /* high word above the low word */
  EXPECT_EQ(info.ilRemote, 1);
  EXPECT_EQ(info.ilPageSize, 16384);
  EXPECT_EQ(info.pinfoLong, nullptr);
  EXPECT_EQ(ficdataInitInfoTable(nullptr, 4, 3, 0, 0, &info), ORC_INVALID);
  ficdataInfoLong infolong{};
  ASSERT_EQ(ficdataInitInfoLong(nullptr, 5, 6, 7, 8, &infolong), 0);
  EXPECT_EQ(infolong.iLFRequest, 5);
  EXPECT_EQ(infolong.iLOBAnswer, 8);
}

}  // namespace
