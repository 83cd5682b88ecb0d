/*
** zorucore_test.cpp
**   Core data (create, clone, destroy: what is copied, what is shared) and
**   the conversion table's registration.
*/
#include "run/zorucore.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "common/odict.h"
#include "expr/zorcol.h"

namespace {

void setString(ochar *pchar, const char *pcText)
{
  ocharInitFromFixed(pchar, pcText, static_cast<int32_t>(std::strlen(pcText)), 850);
}

std::string text(const ochar *pchar)
{
  return std::string(_charText(pchar), static_cast<size_t>(pchar->ilBU));
}

/* A record filled as the control step fills one output column's core data. */
zorucoreData *filledCore(ochar *pcharNullA, char *pcWork, UConverter *pconv)
{
  zorucoreData *pcore = zorucoreDataCreate();
  pcore->usTargetKey = 0xB203;
  pcore->usSourceKey = 0x0803;
  pcore->ulFlags = ZORUCORE_FLAG_SEP | ZORUCORE_FLAG_DELIM;
  setString(&pcore->charSep, ",");
  pcore->cDelim = '"';
  setString(&pcore->charDelim, "\"");
  pcore->apcharNull[0] = pcharNullA;
  setString(&pcore->charDecimal, ".");
  setString(&pcore->charSignPlus, "+");
  pcore->pcharConstant = ocharCreate(4, 850);
  ocharAppendFixed(pcore->pcharConstant, "\n", 1);
  pcore->iPic = 0x100;
  pcore->sDefaultLength = 3;
  pcore->pcDefault = static_cast<char *>(std::calloc(3 * 3 + 9, 1));
  std::memcpy(pcore->pcDefault, "1.5", 3);
  pcore->sTemplateLength = 10;
  pcore->pcTemplate = static_cast<char *>(std::malloc(10));
  std::memcpy(pcore->pcTemplate, "00-00-0000", 10);
  pcore->asPos[ZORUCORE_POS_YEAR] = 8;
  pcore->pconvToUtf16 = pconv;
  pcore->pcWorkBuffer = pcWork;
  pcore->ulWorkSize = 64;
  pcore->iWorkCapacity = 16;
  ochar *pcharName = ocharCreate(8, 850);
  ocharAppendFixed(pcharName, "PRICE", 5);
  pcore->pcol = zorcolCreate(pcharName, 2, nullptr, 0);
  return pcore;
}

}  // namespace

TEST(zorucoreData, CreateIsZeroFilled)
{
  zorucoreData *pcore = zorucoreDataCreate();
  ASSERT_NE(pcore, nullptr);
  zorucoreData zero{};
  EXPECT_EQ(std::memcmp(pcore, &zero, sizeof zero), 0);
  EXPECT_EQ(zorucoreDataDestroy(pcore), 0);   /* nothing owned: nothing released */
  std::free(pcore);
  EXPECT_EQ(zorucoreDataDestroy(nullptr), 0);
}

TEST(zorucoreData, CloneCopiesOwnedPartsAndSharesTheRest)
{
  ochar *pcharNull = ocharCreate(4, 850);
  char acWork[64];
  UConverter *pconv = reinterpret_cast<UConverter *>(acWork + 1);   /* only compared, never used */
  zorucoreData *pcore = filledCore(pcharNull, acWork, pconv);
  zorucoreData *pcopy = zorucoreDataClone(pcore);
  ASSERT_NE(pcopy, nullptr);

  /* copied: strings, constant text, default, template, column */
  EXPECT_NE(pcopy->charSep.pcData, pcore->charSep.pcData);
  EXPECT_EQ(text(&pcopy->charSep), ",");
  EXPECT_EQ(text(&pcopy->charDelim), "\"");
  EXPECT_EQ(text(&pcopy->charDecimal), ".");
  EXPECT_EQ(text(&pcopy->charSignPlus), "+");
  ASSERT_NE(pcopy->pcharConstant, nullptr);
  EXPECT_NE(pcopy->pcharConstant, pcore->pcharConstant);
  EXPECT_EQ(text(pcopy->pcharConstant), "\n");
  ASSERT_NE(pcopy->pcDefault, nullptr);
  EXPECT_NE(pcopy->pcDefault, pcore->pcDefault);
  EXPECT_EQ(std::string(pcopy->pcDefault, 3), "1.5");
  EXPECT_NE(pcopy->pcTemplate, pcore->pcTemplate);
  EXPECT_EQ(std::string(pcopy->pcTemplate, 10), "00-00-0000");
  ASSERT_NE(pcopy->pcol, nullptr);
  EXPECT_NE(pcopy->pcol, pcore->pcol);
  EXPECT_EQ(text(pcopy->pcol->pcharName), "PRICE");
  /* as they are: keys, flags, lengths, positions, PIC */
  EXPECT_EQ(pcopy->usTargetKey, 0xB203);
  EXPECT_EQ(pcopy->usSourceKey, 0x0803);
  EXPECT_EQ(pcopy->ulFlags, ZORUCORE_FLAG_SEP | ZORUCORE_FLAG_DELIM);
  EXPECT_EQ(pcopy->cDelim, '"');
  EXPECT_EQ(pcopy->iPic, 0x100);
  EXPECT_EQ(pcopy->sDefaultLength, 3);
  EXPECT_EQ(pcopy->asPos[ZORUCORE_POS_YEAR], 8);
  /* shared: NULL texts, ICU converters, work buffer */
  EXPECT_EQ(pcopy->apcharNull[0], pcharNull);
  EXPECT_EQ(pcopy->pconvToUtf16, pconv);
  EXPECT_EQ(pcopy->pcWorkBuffer, acWork);
  EXPECT_EQ(pcopy->ulWorkSize, 64u);
  EXPECT_EQ(pcopy->iWorkCapacity, 16);

  /* the copy outlives the original and is changed on its own */
  zorucoreDataDestroy(pcore);
  std::free(pcore);
  pcopy->pcDefault[0] = '2';
  pcopy->charSep.pcData[0] = ';';
  EXPECT_EQ(text(&pcopy->charSep), ";");

  EXPECT_EQ(zorucoreDataDestroy(pcopy), 0);
  EXPECT_EQ(pcopy->pcharConstant, nullptr);
  EXPECT_EQ(pcopy->pcDefault, nullptr);
  EXPECT_EQ(pcopy->pcol, nullptr);
  EXPECT_EQ(pcopy->apcharNull[0], pcharNull);      /* not released */
  std::free(pcopy);
  ocharDestroy(pcharNull);
  EXPECT_EQ(zorucoreDataClone(nullptr), nullptr);
}

TEST(zorucoreTable, RegistersEveryRowOnceAndRepeatsHarmlessly)
{
  int iRows = zorucoreTabCount();
  std::set<uint32_t> keys;
  for (int i = 0; i < iRows; i++) {
    EXPECT_NE(aconvertTabLine[i].func, nullptr);
    keys.insert(orowMakeConvertKey(aconvertTabLine[i].usSourceKey, aconvertTabLine[i].usTargetKey));
  }
  EXPECT_EQ(keys.size(), static_cast<size_t>(iRows)) << "a key appears twice";
  EXPECT_EQ(aconvertTabLine[iRows].usSourceKey, 0xFFFF);
  EXPECT_EQ(aconvertTabLine[iRows].usTargetKey, 0xFFFF);

  oconvertInitModule();
  EXPECT_EQ(zorucoreInitModule(), 0);
  ASSERT_NE(gpdictConvert, nullptr);
  EXPECT_EQ(odictGetCount(gpdictConvert), static_cast<uint32_t>(iRows));
  EXPECT_EQ(zorucoreInitModule(), 0);
  EXPECT_EQ(odictGetCount(gpdictConvert), static_cast<uint32_t>(iRows));
  for (int i = 0; i < iRows; i++)
    EXPECT_EQ(oconvertLookup(orowMakeConvertKey(aconvertTabLine[i].usSourceKey, aconvertTabLine[i].usTargetKey)),
              aconvertTabLine[i].func);
  oconvertDestroyModule();
  EXPECT_EQ(gpdictConvert, nullptr);
}
