/*
** oconvert_test.cpp
**   Conversion dispatch: registration of tables, creation of a converter by
**   key (ZORI154E for a missing pair), conversion of a row and its codes,
**   the module's user count, clone and destroy.  The converters are fakes
**   registered through the same path as the system's table.
*/
#include "model/oconvert.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "common/odict.h"
#include "common/omsgs.h"
#include "common/ostack.h"

namespace {

/* Copies the source column's bytes to the target cursor, then steps both rows. */
int fakeCopy(orow *psource, orow *ptarget)
{
  const rowColDef &d = psource->pcoldef[psource->iCurrent];
  std::memcpy(ptarget->pcCursor, psource->pcStart + 8 + d.sOffset, static_cast<size_t>(d.iLength));
  ptarget->pcCursor += d.iLength;
  psource->iCurrent++;
  ptarget->iCurrent++;
  return 0;
}

/* Writes a marker naming itself, so the chosen converter shows in the output. */
int fakeMarkDel(orow *psource, orow *ptarget)
{
  *ptarget->pcCursor++ = 'D';
  psource->iCurrent++;
  ptarget->iCurrent++;
  return 0;
}

int fakeMarkIxf(orow *psource, orow *ptarget)
{
  *ptarget->pcCursor++ = 'I';
  psource->iCurrent++;
  ptarget->iCurrent++;
  return 0;
}

int giCalls = 0;
int giNextCode = 0;

/* Counts its calls and returns the code set by the test. */
int fakeCode(orow *psource, orow *ptarget)
{
  giCalls++;
  psource->iCurrent++;
  ptarget->iCurrent++;
  return giNextCode;
}

const convertTabLine atableFake[] = {
  {0x0002, 0xB002, fakeCopy},
  {0x0802, 0xB002, fakeCopy},
  {0x0007, 0xB007, fakeMarkDel},
  {0x0007, 0x8007, fakeMarkIxf},
  {0x004E, 0xB000, fakeCode},
  {0xFFFF, 0xFFFF, nullptr},
  {0x0001, 0xB001, fakeCopy},      /* beyond the end row: never registered */
};

/* Every ZORI154E-style message issued while fn runs. */
std::vector<std::string> captureMessages(const std::function<void()> &fn)
{
  omsgsSetDefered(1);
  fn();
  omsgsSetDefered(0);
  std::vector<std::string> out;
  ostack *pstack = omsgsExportDefered();
  if (pstack != nullptr) {
    for (int i = 0; i < ostackGetCount(pstack); i++)
      out.emplace_back(reinterpret_cast<const char *>(ostackGetAt(pstack, i)));
    omsgsRestaureDefered(pstack);
    omsgsRestaureDefered(nullptr);
  }
  return out;
}

/* A pair of rows as the run step builds them: one source and one target definition per column. */
struct RowPair {
  orow *psource;
  orow *ptarget;
  RowPair(std::initializer_list<std::pair<int, int>> keys, std::initializer_list<int> lengths = {})
  {
    psource = orowCreate(static_cast<int32_t>(keys.size()));
    ptarget = orowCreate(static_cast<int32_t>(keys.size()));
    auto itLength = lengths.begin();
    int16_t sOffset = 0;
    for (const auto &k : keys) {
      int32_t iLength = itLength != lengths.end() ? *itLength++ : 0;
      rowColDef d = growColDefNull;
      d.iType = k.first;
      d.iLength = iLength;
      d.sOffset = sOffset;
      orowAddColumn(psource, &d);
      sOffset = static_cast<int16_t>(sOffset + iLength);
      d.iType = k.second;
      d.sOffset = -1;
      d.sNullOffset = -1;
      orowAddColumn(ptarget, &d);
    }
  }
};

class OconvertTest : public ::testing::Test {
 protected:
  void SetUp() override { resetModule(); }
  void TearDown() override { resetModule(); }
  static void resetModule()
  {
    odictDestroy(gpdictConvert);
    gpdictConvert = nullptr;
    gbInitialized = 0;
    giCalls = 0;
    giNextCode = 0;
  }
};

}  // namespace

TEST_F(OconvertTest, RegistrationStopsAtTheEndRowAndReplacesDuplicates)
{
  ASSERT_EQ(oconvertRegisterTabConversion(atableFake), 0);
  ASSERT_NE(gpdictConvert, nullptr);
  EXPECT_EQ(odictGetCount(gpdictConvert), 5u);
  EXPECT_EQ(oconvertLookup(orowMakeConvertKey(0x0007, 0x8007)), fakeMarkIxf);
  EXPECT_EQ(oconvertLookup(orowMakeConvertKey(0x0001, 0xB001)), nullptr);

  /* A second registration of the table changes nothing; a new row for a known key wins. */
  ASSERT_EQ(oconvertRegisterTabConversion(atableFake), 0);
  EXPECT_EQ(odictGetCount(gpdictConvert), 5u);
  const convertTabLine line = {0x0007, 0xB007, fakeCopy};
  ASSERT_EQ(oconvertRegisterConversion(&line), 0);
  EXPECT_EQ(oconvertLookup(orowMakeConvertKey(0x0007, 0xB007)), fakeCopy);
  EXPECT_EQ(odictGetCount(gpdictConvert), 5u);
  EXPECT_EQ(oconvertRegisterTabConversion(nullptr), ORC_INVALID);
}

TEST_F(OconvertTest, DispatchByKeyConvertsARow)
{
  oconvertInitModule();
  oconvertRegisterTabConversion(atableFake);

  /* INTEGER (4 bytes), nullable INTEGER, CHAR to DEL, CHAR to IXF, record end. */
  RowPair rows({{0x0002, 0xB002}, {0x0802, 0xB002}, {0x0007, 0xB007}, {0x0007, 0x8007}, {0x004E, 0xB000}},
               {4, 4, 3, 3, 0});
  int iRc = -1;
  oconvert *pconvert = oconvertCreate(rows.psource, rows.ptarget, OCONVERT_OWN_SOURCE | OCONVERT_OWN_TARGET, &iRc);
  ASSERT_NE(pconvert, nullptr);
  EXPECT_EQ(iRc, 0);
  EXPECT_EQ(pconvert->pfunc[0], fakeCopy);
  EXPECT_EQ(pconvert->pfunc[2], fakeMarkDel);
  EXPECT_EQ(pconvert->pfunc[3], fakeMarkIxf);

  char acOut[32];
  orowSetBuffer(pconvert->prowTarget, acOut, sizeof acOut, 0);
  /* header (8 bytes), then the values at their record offsets */
  const char acRecord[] = "HHHHHHHHAAAABBBBcccddd";
  for (int iRow = 0; iRow < 2; iRow++) {
    orowSetBuffer(pconvert->prowSource, acRecord, sizeof acRecord - 1, 2);
    orowResetBuffer(pconvert->prowSource, 0);
    orowResetBuffer(pconvert->prowTarget, 0);
    EXPECT_EQ(oconvertConvert(pconvert), 0);
    EXPECT_EQ(std::string(acOut, static_cast<size_t>(pconvert->prowTarget->pcCursor - acOut)), "AAAABBBBDI");
    EXPECT_EQ(pconvert->prowSource->iCurrent, 5);
  }
  EXPECT_EQ(giCalls, 2);
  oconvertDestroy(pconvert);   /* frees both rows */
}

TEST_F(OconvertTest, MissingPairGivesOneMessageAndNoConverter)
{
  oconvertInitModule();
  oconvertRegisterTabConversion(atableFake);
  /* Non-nullable BLOB to IXF with a LOB location specifier has no converter;
     so has the column after it, but only the first is reported. */
  RowPair rows({{0x0002, 0xB002}, {0x0010, 0x8510}, {0x0001, 0x8001}});
  int iRc = 0;
  oconvert *pconvert = nullptr;
  std::vector<std::string> msgs = captureMessages([&] {
    pconvert = oconvertCreate(rows.psource, rows.ptarget, OCONVERT_OWN_SOURCE | OCONVERT_OWN_TARGET, &iRc);
  });
  EXPECT_EQ(pconvert, nullptr);
  EXPECT_EQ(iRc, OCONVERT_RC_NOFUNC);
  ASSERT_EQ(msgs.size(), 1u);
  EXPECT_EQ(msgs[0].rfind("ZORI154E NO FORMATTING FUNCTION FOUND FOR THE KEY 0x108510", 0), 0u) << msgs[0];
  EXPECT_EQ(gbInitialized, 1);   /* the failed converter is no longer a user */
  /* the rows went with the failed converter (the leak checker sees any left) */
}

TEST_F(OconvertTest, CapacityMismatchKeepsTheRows)
{
  orow *psource = orowCreate(2);
  orow *ptarget = orowCreate(3);
  int iRc = 0;
  EXPECT_EQ(oconvertCreate(psource, ptarget, OCONVERT_OWN_SOURCE | OCONVERT_OWN_TARGET, &iRc), nullptr);
  EXPECT_EQ(iRc, OCONVERT_RC_COLUMNS);
  EXPECT_EQ(gbInitialized, 1);
  orowDestroy(psource);
  orowDestroy(ptarget);
}

TEST_F(OconvertTest, EmptyRowConvertsToNothing)
{
  orow *psource = orowCreate(0);
  orow *ptarget = orowCreate(0);
  int iRc = -1;
  oconvert *pconvert = oconvertCreate(psource, ptarget, OCONVERT_OWN_SOURCE | OCONVERT_OWN_TARGET, &iRc);
  ASSERT_NE(pconvert, nullptr);
  EXPECT_EQ(iRc, 0);
  char acOut[4];
  orowSetBuffer(ptarget, acOut, 4, 0);
  EXPECT_EQ(oconvertConvert(pconvert), 0);
  EXPECT_EQ(ptarget->pcCursor, acOut);
  oconvertDestroy(pconvert);
}

TEST_F(OconvertTest, HighestCodeWinsAndSevereCodesEndTheRow)
{
  oconvertRegisterTabConversion(atableFake);
  struct Case {
    int iCode;
    int iExpected;
    int iCalls;   /* of three columns */
  } acases[] = {
    {0, 0, 3},
    {0x10a001, 0x10a001, 3},
    {0x10a002, 0x10a002, 3},
    {0x10a003, 0x10a003, 1},
    {0x10f001, 0x10f001, 1},
    {-5, 0, 3},
  };
  for (const Case &c : acases) {
    RowPair rows({{0x004E, 0xB000}, {0x004E, 0xB000}, {0x004E, 0xB000}});
    int iRc = 0;
    oconvert *pconvert = oconvertCreate(rows.psource, rows.ptarget, 3, &iRc);
    ASSERT_NE(pconvert, nullptr);
    giCalls = 0;
    giNextCode = c.iCode;
    EXPECT_EQ(oconvertConvert(pconvert), c.iExpected) << std::hex << c.iCode;
    EXPECT_EQ(giCalls, c.iCalls) << std::hex << c.iCode;
    oconvertDestroy(pconvert);
  }
}

TEST_F(OconvertTest, UserCountFollowsConvertersAndKeepsEarlierRegistrations)
{
  /* Registering before the module is initialised keeps the rows for creation. */
  oconvertRegisterTabConversion(atableFake);
  odict *pdict = gpdictConvert;
  EXPECT_EQ(gbInitialized, 0);

  RowPair rows({{0x0007, 0xB007}}, {1});
  int iRc = 0;
  oconvert *pconvert = oconvertCreate(rows.psource, rows.ptarget, 3, &iRc);
  ASSERT_NE(pconvert, nullptr) << std::hex << iRc;
  EXPECT_EQ(gpdictConvert, pdict);
  EXPECT_EQ(gbInitialized, 2);

  oconvertInitModule();                 /* already initialised: no change */
  EXPECT_EQ(gbInitialized, 2);
  oconvertDestroyModule();              /* a converter is alive: kept */
  EXPECT_EQ(gpdictConvert, pdict);

  oconvert *pclone = oconvertClone(pconvert);
  ASSERT_NE(pclone, nullptr);
  EXPECT_EQ(gbInitialized, 3);
  EXPECT_NE(pclone->prowSource, pconvert->prowSource);
  EXPECT_NE(pclone->pfunc, pconvert->pfunc);
  EXPECT_EQ(pclone->pfunc[0], fakeMarkDel);

  oconvertDestroy(pconvert);
  EXPECT_EQ(gbInitialized, 2);
  /* the clone works on without the original */
  char acOut[2];
  char acRecord[] = "HHHHHHHHx";
  orowSetBuffer(pclone->prowSource, acRecord, 9, 2);
  orowSetBuffer(pclone->prowTarget, acOut, 2, 0);
  EXPECT_EQ(oconvertConvert(pclone), 0);
  EXPECT_EQ(acOut[0], 'D');
  oconvertDestroy(pclone);
  EXPECT_EQ(gbInitialized, 1);
  EXPECT_EQ(gpdictConvert, pdict);
  oconvertDestroyModule();
  EXPECT_EQ(gbInitialized, 0);
  EXPECT_EQ(gpdictConvert, nullptr);
  oconvertDestroy(nullptr);
  EXPECT_EQ(oconvertClone(nullptr), nullptr);
}
