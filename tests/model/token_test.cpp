/*
** token_test.cpp
**   The atom-name table: filling, slot contents and the sharing of interned
**   names with tasks named from text.
*/
#include "model/token.h"

#include <gtest/gtest.h>

#include <cstring>

#include "common/oname.h"
#include "model/zortask.h"

namespace {

TEST(TokenTest, TaskNamedBeforeFillingSharesTheSlotPointer)
{
  /* Runs first in this process: the pool does not exist and the table is empty. */
  ASSERT_EQ(gapnameTotalToken[TOKEN_SELECT], nullptr);
  zortask *ptask = zortaskCreate("SELECT");
  ASSERT_NE(ptask, nullptr);
  ASSERT_NE(gpnameGlobal, nullptr);
  ASSERT_EQ(tokenInitKeyword(), 0);
  EXPECT_EQ(ptask->pcName, gapnameTotalToken[TOKEN_SELECT]);
  zortaskDestroy(ptask);
}

TEST(TokenTest, SlotCountsAndEmptySlots)
{
  ASSERT_EQ(tokenInitKeyword(), 0);
  const int aiEmpty[] = {19, 24, 26, 37, 65, 73, 76, 97, 152, 166, 170, 216, 223};
  int iSet = 0;
  for (int i = 0; i < TOKEN_SLOTS; i++)
    if (gapnameTotalToken[i] != nullptr) iSet++;
  EXPECT_EQ(TOKEN_SLOTS, 286);
  EXPECT_EQ(iSet, 273);
  for (int i : aiEmpty) EXPECT_EQ(gapnameTotalToken[i], nullptr) << "slot " << i;
}

TEST(TokenTest, NamesByPosition)
{
  ASSERT_EQ(tokenInitKeyword(), 0);
  struct {
    int         iSlot;
    const char *pcName;
  } const acase[] = {
      {0, "OR"},          {2, "NOT"},           {3, "A"},           {30, "COL"},
      {42, "DATE_A"},     {57, "DATE_P"},       {129, "MAXRC"},     {145, "NULL"},
      {173, "SELECT"},    {201, "TIMESTAMP_F"}, {226, "YES"},       {227, "EQU"},
      {248, "FILENAME"},  {249, "DIM"},         {256, "ECSTASK"},   {266, "PARMLIB"},
      {273, "SYSTABLE"},  {285, "PTK003"},
  };
  for (const auto &c : acase) {
    ASSERT_NE(gapnameTotalToken[c.iSlot], nullptr) << "slot " << c.iSlot;
    EXPECT_STREQ(gapnameTotalToken[c.iSlot], c.pcName) << "slot " << c.iSlot;
    /* the slot holds the pool's own copy */
    EXPECT_EQ(onameGetFixed(gpnameGlobal, c.pcName, std::strlen(c.pcName)), gapnameTotalToken[c.iSlot]);
  }
  EXPECT_EQ(TOKEN_SELECT, 173);
  EXPECT_EQ(TOKEN_PTK003, 285);
}

TEST(TokenTest, NoSlotsShareOnePointerAndSecondCallChangesNothing)
{
  ASSERT_EQ(tokenInitKeyword(), 0);
  EXPECT_STREQ(gapnameTotalToken[143], "NO");
  EXPECT_EQ(gapnameTotalToken[143], gapnameTotalToken[144]);
  EXPECT_EQ(TOKEN_NO2, 144);

  const char *apcBefore[TOKEN_SLOTS];
  std::memcpy(apcBefore, gapnameTotalToken, sizeof apcBefore);
  uint32_t ulCount = onameGetCount(gpnameGlobal);
  EXPECT_EQ(tokenInitKeyword(), 0);
  EXPECT_EQ(std::memcmp(apcBefore, gapnameTotalToken, sizeof apcBefore), 0);
  EXPECT_EQ(onameGetCount(gpnameGlobal), ulCount);
}

TEST(TokenTest, EmptySlotNamesAnUnnamedTask)
{
  ASSERT_EQ(tokenInitKeyword(), 0);
  zortask *ptask = zortaskCreateNamed(gapnameTotalToken[37]);
  ASSERT_NE(ptask, nullptr);
  EXPECT_EQ(ptask->pcName, nullptr);
  zortaskDestroy(ptask);
}

}  // namespace
