/*
** parm_test.cpp
**   The parameter library: accessors and defaults, parameter ids, the field
**   printer and the member dump.
*/
#include "model/parm.h"

#include <gtest/gtest.h>

#include "tests/zavtest.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

void *_field(int iMember, int32_t iItem)
{
  return Gaparmlink[iMember].procAccessor(&iItem);
}

TEST(ParmTest, LinkTableNamesMembersInOrder)
{
  const char *apcNames[] = {"AUTTIME ", "OPTGEN  ", "INFVSMIG", "OPTSORT ", "OPTACMD ", "OPTDB2  ",
                            "OPTUNL  ", "OPTRGOL ", "OPTRGAR ", "OPTLOAD ", "OPTDB2I "};
  for (int i = 0; i < PARM_MEMBERS; i++) {
    EXPECT_EQ(std::memcmp(Gaparmlink[i].acName, apcNames[i], 8), 0) << i;
    EXPECT_NE(Gaparmlink[i].procAccessor, nullptr) << i;
  }
  EXPECT_EQ(Gaparmlink[PARM_MEMBERS].procAccessor, nullptr);
  EXPECT_EQ(Gaparmlink[PARM_MEMBERS].acName[0], '\0');
}

TEST(ParmTest, TablesHaveTheirRowCountsAndIds)
{
  struct {
    const parmField *ptable;
    int              iRows;
    int              iMember;
  } const acase[] = {
      {tParmCsectAuttime, 43, PARM_AUTTIME}, {tParmCsectOptgen, 2, PARM_OPTGEN},
      {tParmCsectInfvsmig, 1, PARM_INFVSMIG}, {tParmCsectOptsort, 6, PARM_OPTSORT},
      {tParmCsectOptacmd, 3, PARM_OPTACMD},  {tParmCsectOptdb2, 11, PARM_OPTDB2},
      {tParmCsectOptunl, 16, PARM_OPTUNL},   {tParmCsectOptrgol, 10, PARM_OPTRGOL},
      {tParmCsectOptrgar, 2, PARM_OPTRGAR},  {tParmCsectOptload, 3, PARM_OPTLOAD},
      {tParmCsectOptdb2i, 28, PARM_OPTDB2I},
  };
  for (const auto &c : acase) {
    int iRows = 0;
    for (const parmField *p = c.ptable; p->acName[0] != '\0' || p->iId != 0; p++) {
      EXPECT_EQ(p->iId >> 16, c.iMember) << p->acName;
      EXPECT_EQ(p->ulZero, 0u);
      /* every described field is served by its member's accessor */
      EXPECT_NE(parmGetWithControl(p->iId, 0), nullptr) << std::string(p->acName, 8);
      iRows++;
    }
    EXPECT_EQ(iRows, c.iRows) << c.iMember;
  }
}

TEST(ParmTest, AccessorsRefuseItemsTheyDoNotServe)
{
  struct {
    int     iMember;
    int32_t iItem;
  } const acase[] = {
      {PARM_OPTSORT, 4}, {PARM_OPTUNL, 15}, {PARM_AUTTIME, 23}, {PARM_OPTDB2, 0},
      {PARM_OPTDB2, 12}, {PARM_OPTDB2I, 29}, {PARM_OPTLOAD, 1},
  };
  for (const auto &c : acase) EXPECT_EQ(_field(c.iMember, c.iItem), nullptr) << c.iMember << "/" << c.iItem;
  /* OPTSORT serves four items that no row describes */
  for (int32_t iItem : {21, 23, 24, 26}) EXPECT_NE(_field(PARM_OPTSORT, iItem), nullptr) << iItem;
  EXPECT_EQ(parmGetWithControl(PARM_ID(11, 1), 0), nullptr);
  EXPECT_EQ(parmGetWithControl(PARM_ID(PARM_OPTUNL, 15), 0), nullptr);
  EXPECT_EQ(parmGetWithControl(PARM_ID(PARM_OPTUNL, 2), 0), _field(PARM_OPTUNL, 2));
}

TEST(ParmTest, DefaultsOfTheMembersInUse)
{
  EXPECT_EQ(std::memcmp(_field(PARM_OPTUNL, 2), "YES", 3), 0);      /* ULLOCK */
  EXPECT_EQ(std::memcmp(_field(PARM_OPTUNL, 4), "00FF", 4), 0);     /* ULNULL */
  EXPECT_EQ(std::memcmp(_field(PARM_OPTUNL, 8), "-LEAD. ", 7), 0);  /* ULPIC */
  EXPECT_EQ(std::memcmp(_field(PARM_OPTUNL, 19), "*.* ", 4), 0);    /* ULMASK */
  EXPECT_EQ(std::memcmp(_field(PARM_OPTUNL, 1), "\0\0\0", 3), 0);   /* ULSEDB2 */
  EXPECT_EQ(*(int16_t *)_field(PARM_OPTUNL, 9), 17);                /* ULOPTLDT */
  EXPECT_STREQ(*(const char **)_field(PARM_OPTUNL, 10), "NOTIFY YES LOG NO");
  EXPECT_EQ(*(int16_t *)_field(PARM_OPTUNL, 14), 0);                /* NULLPOS */
  EXPECT_EQ(std::memcmp(_field(PARM_OPTDB2, 7), "OFF  ", 5), 0);    /* QCAT */
  EXPECT_EQ(*(char *)_field(PARM_OPTDB2, 10), '.');                 /* DECIMSEP */
  EXPECT_EQ(std::memcmp(_field(PARM_OPTDB2I, 8), "ISO  ", 5), 0);   /* DECPDATE */
  EXPECT_EQ(*(char *)_field(PARM_OPTDB2I, 12), '\0');               /* DECPAR */
  EXPECT_EQ(*(int16_t *)_field(PARM_OPTDB2I, 14), 850);             /* DECPSID */
  EXPECT_EQ(*(int16_t *)_field(PARM_OPTDB2I, 26), 1208);            /* DECPUMID */
  EXPECT_EQ(*(int16_t *)_field(PARM_OPTDB2I, 27), 1200);            /* DECPUGID */

  EXPECT_EQ(gwcLitteral, '\'');
  EXPECT_EQ(gwcQualified, '"');
  EXPECT_EQ(gwcDecimal, '.');
  EXPECT_EQ(gccsidSBCS, 850);
  EXPECT_EQ(gccsidMixed, 0);
  EXPECT_EQ(gccsidDBCS, 0);
  EXPECT_EQ(gboMixed, 0);
}

TEST(ParmTest, WritesThroughTheAccessorAreSeenByLaterReads)
{
  char *pcDate = static_cast<char *>(_field(PARM_OPTUNL, 5));
  char cSaved = *pcDate;
  *pcDate = 'E';
  EXPECT_EQ(*static_cast<char *>(parmGetWithControl(PARM_ID(PARM_OPTUNL, 5), 0)), 'E');
  *pcDate = cSaved;
}

TEST(ParmTest, PrintLinesByType)
{
  int32_t l = -42;
  int16_t s = 850;
  float f = 1.5f;
  char cZero = 0, cLetter = 'C';
  const char acText[] = "ISO  xyz";
  parmCounted counted{17, "NOTIFY YES LOG NO"};
  parmCounted empty{0, nullptr};
  struct {
    int32_t     iLength;
    int32_t     iType;
    const void *pValue;
    const char *pcExpected;
  } const acase[] = {
      {1, PARM_TEXT, &cZero, "F = x'00'\n"},
      {1, PARM_TEXT, &cLetter, "F = C\n"},
      {5, PARM_TEXT, acText, "F = ISO  \n"},
      {3, PARM_TEXT6, acText, "F = ISO\n"},
      {1, PARM_TEXT5, &cLetter, "F = C\n"},
      {1, PARM_LONG, &l, "F = -42\n"},
      {1, PARM_SHORT, &s, "F = 850\n"},
      {1, PARM_FLOAT, &f, "F = 1.500000\n"},
      {1, PARM_COUNTED, &counted, "F = 17 \n\t  NOTIFY YES LOG NO\n"},
      {1, PARM_COUNTED, &empty, "F = 0 \n "},
      {1, 9, &l, ""},
  };
  for (const auto &c : acase)
    EXPECT_EQ(zavtestCapture([&](FILE *pf) { parmPrint(pf, c.iLength, c.iType, "F", c.pValue); }),
              c.pcExpected)
        << "type " << c.iType;
  parmPrint(nullptr, 1, PARM_LONG, "F", &l);  /* no stream: nothing, no crash */
}

TEST(ParmTest, MemberDumpOfOptunl)
{
  /* ULSEDB2 holds three NUL bytes, so its text prints empty */
  const char *pcExpected =
      "\n"
      "ULSEDB2 = \n"
      "ULLOCK = YES\n"
      "ULQSCE = YES\n"
      "ULNULL = 00FF\n"
      "ULDATE = C\n"
      "ULTIME = A\n"
      "ULTMSTP = SB\n"
      "ULPIC = -LEAD. \n"
      "ULOPTLDT = 17 \n\t  NOTIFY YES LOG NO\n"
      "ULOPTLDP = 10 \n\t  RESUME YES\n"
      "ULDEGREE = ANY\n"
      "NULLPOS = 0\n"
      "UNLSCHEM = A\n"
      "UNLZLRC = 0\n"
      "UNLDDNR = \n"
      "ULMASK = *.* \n"
      "\n";
  EXPECT_EQ(zavtestCapture([](FILE *pf) { parmCsectTrace(pf, tParmCsectOptunl); }), pcExpected);
  /* a one-byte text holding 0 in another member */
  std::string text = zavtestCapture([](FILE *pf) { parmCsectTrace(pf, tParmCsectOptdb2i); });
  EXPECT_NE(text.find("\nDECPDE = x'00'\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nDECPSID = 850\n"), std::string::npos);
  parmCsectTrace(nullptr, tParmCsectOptunl);
}

}  // namespace
