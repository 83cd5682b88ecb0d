// Type registry: registration rules, descriptor serialisation, stored
// descriptors meeting the program's registration, and the formatted dump.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "common/ochar.h"
#include "common/onameres.h"
#include "common/ores.h"
#include "common/orestype.h"
#include "common/ostack.h"

namespace {

void *noProc(ores *, int32_t, void *pv, int, int *)
{
  return pv;
}

class orestypeTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(oresInitModule(), 0); }
};

TEST_F(orestypeTest, RegistrationRules)
{
  static const oresTData table[] = {{ORES_TYPE_I32, "a"}, {ORES_TYPE_STRING, "b"}, {0, nullptr}};
  static const oresTData renamed[] = {{ORES_TYPE_I32, "a"}, {ORES_TYPE_STRING, "c"}, {0, nullptr}};
  static const oresTData longer[] = {{ORES_TYPE_I32, "a"}, {ORES_TYPE_STRING, "b"}, {ORES_TYPE_I8, "d"}, {0, nullptr}};
  static const oresTData unknownMember[] = {{ORES_TYPE_I32, "a"}, {static_cast<int32_t>(0x80997777), "x"}, {0, nullptr}};
  const int32_t code = static_cast<int32_t>(0x80980001);
  struct {
    const oresTData *table;
    int32_t code;
    const char *name;
    int rc;
  } cases[] = {
      {table, code, "t", 0},
      {table, code, "t", 0},                         // identical again: accepted
      {renamed, code, "t", ORES_RC_REDEFINED},       // one member name changed
      {longer, code, "t", ORES_RC_REDEFINED},        // another member count
      {unknownMember, static_cast<int32_t>(0x80980002), "u", ORES_RC_BADTYPE},
      {table, 0x00980003, "sys", ORES_RC_SYSTYPE},
      {table, static_cast<int32_t>(0x80980004), nullptr, ORES_RC_NOARG},
  };
  for (const auto &c : cases)
    EXPECT_EQ(oresTypeRegisterStatic(c.table, c.code, c.name, noProc), c.rc) << std::hex << c.code;
  EXPECT_TRUE(oresIsValidUserType(code));
  EXPECT_FALSE(oresIsValidUserType(static_cast<int32_t>(0x80980002)));
  EXPECT_FALSE(oresIsValidUserType(ORES_TYPE_I32));
  EXPECT_TRUE(_resIsValidType(0x40FF0025));
  EXPECT_FALSE(_resIsValidType(0x00990000));
}

TEST_F(orestypeTest, DescriptorOfTheNameTableSerialisesAsDeclared)
{
  resTD *ptd = _resGetUserType(ONAME_RES_TYPE);
  ASSERT_NE(ptd, nullptr);
  ores *pres = oresCreate(ORES_TYPE_TD, 100, 0);
  ASSERT_EQ(oresPut(pres, ORES_TYPE_TD, ptd), 0);
  std::vector<unsigned char> expected = {0x80, 0x04, 0x00, 0x01, 10};
  auto text = [&](const char *pc) {
    expected.push_back(static_cast<unsigned char>(std::strlen(pc)));
    expected.insert(expected.end(), pc, pc + std::strlen(pc));
  };
  auto word = [&](uint32_t ul) {
    for (int i = 3; i >= 0; i--) expected.push_back(static_cast<unsigned char>(ul >> (8 * i)));
  };
  // byte by byte: GCC 12 at -O2 misreads the reallocating range insert of
  // vector<unsigned char> (-Warray-bounds on the moved old elements)
  for (char c : std::string_view("onameTable")) expected.push_back(static_cast<unsigned char>(c));
  word(3);
  word(0x40000000);
  text("oname");
  word(0x410000);
  text("Tableau de oname");
  word(0x150000);
  text("Flags");
  EXPECT_EQ(std::vector<unsigned char>(pres->pData, pres->pData + pres->ulDataLength), expected);

  // Read back: the same members in the same order, and no procedure.
  pres->ulReadPos = 0;
  ostackPush(pres->pstackExpect, ORES_TYPE_TD);
  ostackPush(pres->pstackExpect, 0);
  int rc = 0;
  resTD *pback = static_cast<resTD *>(oresGet(pres, ORES_TYPE_TD, nullptr, &rc));
  ASSERT_NE(pback, nullptr) << std::hex << rc;
  EXPECT_EQ(pback->resType, ONAME_RES_TYPE);
  EXPECT_EQ(pback->pcName, ptd->pcName);   // interned: equal names are equal pointers
  EXPECT_EQ(pback->procSerial, nullptr);
  ASSERT_EQ(ostackGetCount(pback->pstackMembers), ostackGetCount(ptd->pstackMembers));
  for (int i = 0; i < ostackGetCount(ptd->pstackMembers); i++)
    EXPECT_EQ(ostackGetAt(pback->pstackMembers, i), ostackGetAt(ptd->pstackMembers, i)) << i;
  oresTypeDestroy(pback);
  oresDestroy(pres);
}

TEST_F(orestypeTest, StoredDescriptorMeetsTheProgramsRegistrationInEitherOrder)
{
  static const oresTData table[] = {{ORES_TYPE_I16, "x"}, {ORES_TYPE_I16, "y"}, {0, nullptr}};
  // A file's descriptor first (no procedure), then the program's: it takes the procedure.
  resTD *ptd = oresTypeCreate();
  ASSERT_EQ(oresTypeAdd(ptd, ORES_TYPE_I16, "y"), 0);
  ASSERT_EQ(oresTypeAdd(ptd, ORES_TYPE_I16, "x"), 0);   // the member added last is put first
  const int32_t code = static_cast<int32_t>(0x80980010);
  ASSERT_EQ(oresTypeRegister(ptd, code, "point", nullptr), 0);
  EXPECT_EQ(_resGetUserType(code)->procSerial, nullptr);
  ASSERT_EQ(oresTypeRegisterStatic(table, code, "point", noProc), 0);
  EXPECT_EQ(_resGetUserType(code)->procSerial, noProc);
  // The program's first: a file's copy keeps the program's procedure.
  resTD *pclone = oresTypeClone(_resGetUserType(code));
  pclone->procSerial = nullptr;
  ASSERT_EQ(oresTypeRegister(pclone, code, "point", nullptr), 0);
  EXPECT_EQ(_resGetUserType(code)->procSerial, noProc);
  resTD *pbad = oresTypeCreate();
  EXPECT_EQ(oresTypeAdd(pbad, 0x00990000, "bad"), ORES_RC_BADTYPE);
  oresTypeDestroy(pbad);
}

void *pointProc(ores *pres, int32_t, void *pv, int iPut, int *prc)
{
  int16_t *ps = static_cast<int16_t *>(pv);
  *prc = 0;
  if (iPut) {
    *prc |= oresPutShort(pres, ps[0]);
    *prc |= oresPutShort(pres, ps[1]);
  }
  return pv;
}

TEST_F(orestypeTest, FormattedDumpWalksUserTypesAndRepetitions)
{
  static const oresTData point[] = {{ORES_TYPE_I16, "x"}, {ORES_TYPE_I16, "y"}, {0, nullptr}};
  static const oresTData shape[] = {{ORES_TYPE_STRING, "label"}, {ORES_TYPE_REPNEXT, "n"},
                                    {static_cast<int32_t>(0x80980021), "pt"}, {ORES_TYPE_FLOAT + 9, "z"},
                                    {0, nullptr}};
  ASSERT_EQ(oresTypeRegisterStatic(point, static_cast<int32_t>(0x80980021), "point2", pointProc), 0);
  ASSERT_EQ(oresTypeRegisterStatic(shape, static_cast<int32_t>(0x80980022), "shape", noProc), 0);
  ores *pres = oresCreate(static_cast<int32_t>(0x80980022), 0, 0);
  ostackPop(pres->pstackExpect);
  ostackPop(pres->pstackExpect);
  _resPushMembers(pres->pstackExpect, _resGetUserType(static_cast<int32_t>(0x80980022)));
  ASSERT_EQ(oresPutCharFromC(pres, "tri"), 0);
  ASSERT_EQ(oresPutArray(pres, 2, 1), 0);
  int16_t p1[2] = {1, -2}, p2[2] = {300, 4};
  ASSERT_EQ(oresPut(pres, static_cast<int32_t>(0x80980021), p1), 0);
  ASSERT_EQ(oresPut(pres, static_cast<int32_t>(0x80980021), p2), 0);
  ASSERT_EQ(oresPutDouble(pres, 0.5), 0);

  pres->ulReadPos = 0;
  ostackPush(pres->pstackExpect, static_cast<uint32_t>(0x80980022));
  ostackPush(pres->pstackExpect, 0);
  char *pcText = nullptr;
  size_t ulSize = 0;
  FILE *pfile = open_memstream(&pcText, &ulSize);
  EXPECT_EQ(oresDumpFormated(pres, nullptr, pfile, 0), 0);
  std::fclose(pfile);
  std::string text(pcText, ulSize);
  std::free(pcText);
  EXPECT_NE(text.find("type:80980022  name:'none!'\n"), std::string::npos) << text;
  EXPECT_NE(text.find("  type:40000000  name:'label'\n"), std::string::npos) << text;
  EXPECT_NE(text.find("  Repeat 2 times\n"), std::string::npos) << text;
  EXPECT_NE(text.find("    type:00130000  name:'y'\n    -2\n"), std::string::npos) << text;
  EXPECT_NE(text.find("    300\n"), std::string::npos) << text;
  EXPECT_NE(text.find("  0.5\n"), std::string::npos) << text;
  EXPECT_EQ(pres->ulReadPos, pres->ulDataLength);
  oresDestroy(pres);
}

}  // namespace
