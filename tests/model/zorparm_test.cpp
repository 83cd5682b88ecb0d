/*
** zorparm_test.cpp
**   Saving the parameter library into "$FAKE" and loading it back.
*/
#include "model/zorparm.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "model/parm.h"

namespace {

void *_field(int iMember, int32_t iItem)
{
  return Gaparmlink[iMember].procAccessor(&iItem);
}

/* Runs each test in a directory of its own, so "$FAKE" lands there. */
class ZorparmTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    char acTemplate[] = "/tmp/zorparm_test_XXXXXX";
    ASSERT_NE(mkdtemp(acTemplate), nullptr);
    strDir = acTemplate;
    char acOld[4096];
    ASSERT_NE(getcwd(acOld, sizeof acOld), nullptr);
    strOld = acOld;
    ASSERT_EQ(chdir(strDir.c_str()), 0);
  }
  void TearDown() override
  {
    ASSERT_EQ(chdir(strOld.c_str()), 0);
    std::string strCommand = "rm -rf '" + strDir + "'";
    ASSERT_EQ(std::system(strCommand.c_str()), 0);
  }
  std::string strDir, strOld;
};

TEST_F(ZorparmTest, StoreThenLoadRestoresEveryKindOfField)
{
  char *pcLock = static_cast<char *>(_field(PARM_OPTUNL, 2));
  int32_t *plMaxsort = static_cast<int32_t *>(_field(PARM_OPTSORT, 2));
  int16_t *psDecpsid = static_cast<int16_t *>(_field(PARM_OPTDB2I, 14));
  float *pfReopgts = static_cast<float *>(_field(PARM_AUTTIME, 1));
  int16_t *psLdtLength = static_cast<int16_t *>(_field(PARM_OPTUNL, 9));
  const char **ppcLdt = static_cast<const char **>(_field(PARM_OPTUNL, 10));

  std::memcpy(pcLock, "NO ", 3);
  *plMaxsort = -123456;
  *psDecpsid = 1208;
  *pfReopgts = 2.5f;
  ASSERT_EQ(zorparmStoreFake("SITE"), 0);
  struct stat st;
  ASSERT_EQ(stat("$FAKE", &st), 0);

  std::memcpy(pcLock, "YES", 3);
  *plMaxsort = 0;
  *psDecpsid = 850;
  *pfReopgts = 0;
  *psLdtLength = 3;
  *ppcLdt = "XYZ";
  ASSERT_EQ(zorparmLoadFake("SITE"), 0);
  EXPECT_EQ(std::memcmp(pcLock, "NO ", 3), 0);
  EXPECT_EQ(*plMaxsort, -123456);
  EXPECT_EQ(*psDecpsid, 1208);
  EXPECT_EQ(*pfReopgts, 2.5f);
  ASSERT_EQ(*psLdtLength, 17);
  EXPECT_EQ(std::string(*ppcLdt, 17), "NOTIFY YES LOG NO");
  /* a text field of NUL bytes comes back as NUL bytes */
  EXPECT_EQ(std::memcmp(_field(PARM_OPTUNL, 1), "\0\0\0", 3), 0);

  /* a dictionary that was never stored changes nothing */
  std::memcpy(pcLock, "YES", 3);
  EXPECT_EQ(zorparmLoadFake("OTHER"), 0);
  EXPECT_EQ(std::memcmp(pcLock, "YES", 3), 0);
  *psDecpsid = 850;
  *plMaxsort = 0;
  *pfReopgts = 0;
}

TEST_F(ZorparmTest, FileThatCannotBeOpenedGivesMinusOne)
{
  ASSERT_EQ(mkdir("$FAKE", 0700), 0);
  EXPECT_EQ(zorparmStoreFake("SITE"), -1);
  EXPECT_EQ(zorparmLoadFake("SITE"), -1);
}

}  // namespace
