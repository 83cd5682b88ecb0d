// Name tables as resources: ids survive a store and a load through a real
// resource file, and loads into unsuitable tables are refused.
#include <gtest/gtest.h>

#include "tests/zavtest.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "common/oname.h"
#include "common/onameres.h"
#include "common/ores.h"
#include "common/orestype.h"
#include "common/orscs.h"
#include "common/ostack.h"

namespace {

oname *persistentTable()
{
  oname *pname = onameCreateExtended(8, 80, ONAME_PERSISTENT);
  onameInternFixed(pname, "ALPHA", 5);
  onameInternFixed(pname, "", 0);          // id 2 reserved without a name
  onameInternFixed(pname, "GAMMA", 5);
  return pname;
}

TEST(onameres, IdsSurviveStoreAndLoadThroughAFile)
{
  ASSERT_EQ(oresInitModule(), 0);
  ASSERT_EQ(onameInitModule(), 0);
  zavtestTempDir dir;
  std::string path = dir.file("names");
  oname *pname = persistentTable();
  orscs *prscs = orscsCreate(path.c_str(), 2, 0);
  ASSERT_NE(prscs, nullptr);
  ores *pres = oresCreate(ONAME_RES_TYPE, 0, 0);
  ASSERT_EQ(oresPut(pres, ONAME_RES_TYPE, pname), 0);
  ASSERT_EQ(oresStoreNamed(prscs->pdictMain, "names", pres), 0);
  oresDestroy(pres);
  ASSERT_EQ(orscsDestroy(prscs), 0);

  prscs = orscsCreate(path.c_str(), 2, 0);
  ASSERT_NE(prscs, nullptr);
  pres = oresLoadNamed(prscs->pdictMain, "names");
  ASSERT_NE(pres, nullptr);
  int rc = 0;
  oname *pback = static_cast<oname *>(oresGet(pres, ONAME_RES_TYPE, nullptr, &rc));
  ASSERT_NE(pback, nullptr) << std::hex << rc;
  EXPECT_TRUE(onameIsPersistant(pback));
  EXPECT_EQ(pback->ulLastId, 3u);
  EXPECT_STREQ(onameGetFromId(pback, 1), "ALPHA");
  EXPECT_EQ(onameGetFromId(pback, 2), nullptr);
  EXPECT_STREQ(onameGetFromId(pback, 3), "GAMMA");
  onameDestroy(pback);

  // Into a given empty persistent table.
  oname *pempty = onameCreateExtended(8, 80, ONAME_PERSISTENT);
  pres->ulReadPos = 0;
  ostackPush(pres->pstackExpect, static_cast<uint32_t>(ONAME_RES_TYPE));
  ostackPush(pres->pstackExpect, 0);
  EXPECT_EQ(oresGet(pres, ONAME_RES_TYPE, pempty, &rc), pempty);
  EXPECT_STREQ(onameGetFromId(pempty, 3), "GAMMA");
  onameDestroy(pempty);
  oresDestroy(pres);
  EXPECT_EQ(orscsDestroy(prscs), 0);
  onameDestroy(pname);
}

TEST(onameres, UnsuitableTablesAreRefused)
{
  ASSERT_EQ(oresInitModule(), 0);
  oname *pname = persistentTable();
  ores *pres = oresCreate(ONAME_RES_TYPE, 0, 0);
  ASSERT_EQ(oresPut(pres, ONAME_RES_TYPE, pname), 0);
  struct {
    oname *ptable;
    int rc;
  } cases[] = {
      {pname, ONAME_RC_NOTEMPTY},                          // already holds names
      {onameCreate(8, 80), ONAME_RC_NOTPERSIST},           // has no ids
  };
  for (const auto &c : cases) {
    pres->ulReadPos = 0;
    ostackPush(pres->pstackExpect, static_cast<uint32_t>(ONAME_RES_TYPE));
    ostackPush(pres->pstackExpect, 0);
    int rc = 0;
    EXPECT_EQ(oresGet(pres, ONAME_RES_TYPE, c.ptable, &rc), nullptr);
    EXPECT_EQ(rc, c.rc);
  }
  onameDestroy(cases[1].ptable);
  oresDestroy(pres);

  // A table without ids cannot give its names their ids back: not stored.
  oname *pplain = onameCreate(8, 80);
  onameInternFixed(pplain, "X", 1);
  pres = oresCreate(ONAME_RES_TYPE, 0, 0);
  EXPECT_EQ(oresPut(pres, ONAME_RES_TYPE, pplain), ONAME_RC_NOTPERSIST);
  oresDestroy(pres);
  onameDestroy(pplain);
  onameDestroy(pname);
}

}  // namespace
