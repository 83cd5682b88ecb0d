/*
** zorctrl_test.cpp
**   Output preparation of a SELECT: format defaults, CCSID triples, the
**   output-column tasks with their target keys and core data, FORMAT USER
**   column specs, the record-end column, the IXF header and virtual
**   columns, ICU converters; and the bytes the run step's converters write
**   for a record with the prepared core data.
*/
#include "control/zorctrl.h"
#include "control/zorctrlu.h"

#include <gtest/gtest.h>
#include <unicode/ucnv.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/ochaine.h"
#include "common/ochar.h"
#include "common/ocnvft.h"
#include "common/odict.h"
#include "common/ostack.h"
#include "control/zorcontrol.h"
#include "model/token.h"
#include "model/zoratom.h"
#include "model/zortask.h"
#include "expr/zorcol.h"
#include "model/orow.h"
#include "run/zorucore.h"
#include "tests/run/ucoretest.h"
#include "tests/zavtest.h"

namespace {

const char *tok(int iSlot) { return gapnameTotalToken[iSlot]; }

ochar *text(const std::string &str, uint16_t usCCSID = 850)
{
  ochar *p = ocharCreate(0, usCCSID);
  ocharAppendFixedS(p, str.data(), static_cast<int32_t>(str.size()));
  return p;
}

std::string str(const ochar *p)
{
  return (p == nullptr || p->pcData == nullptr) ? std::string() : std::string(_charText(p), static_cast<size_t>(p->ilBU));
}

zoratom *own(zortask *ptask, int iSlot)
{
  return static_cast<zoratom *>(odictLoad(ptask->pdictAtoms, reinterpret_cast<uintptr_t>(tok(iSlot))));
}

zorcol *colOf(zortask *ptask, int iSlot)
{
  zoratom *p = own(ptask, iSlot);
  return p != nullptr ? p->value.pcol : nullptr;
}

zorucoreData *coreOf(zortask *ptask)
{
  zoratom *p = own(ptask, TOKEN_COREDATA);
  return p != nullptr ? p->value.pcoreData : nullptr;
}

std::vector<zortask *> subTasks(zortask *ptask)
{
  std::vector<zortask *> v;
  if (ptask->pchaineSubTasks == nullptr) return v;
  for (auto *p = static_cast<zortask *>(ptask->pchaineSubTasks->pitemTop); p != nullptr; p = p->ptaskNext)
    v.push_back(p);
  return v;
}

/* A selected column as the catalogue gives it. */
struct Col {
  const char *pcName;
  int32_t     iType;
  int32_t     iSubType;
  int32_t     iLength;
  int16_t     sCCSID;
  bool        boNull;
  const char *pcDefault;
};

/* PARMLIB -> GLOBAL -> UNLOAD -> SELECT, with a conversion context. */
class CtrlTest : public ::testing::Test {
 protected:
  zortask *pparmlib = nullptr, *pglobal = nullptr, *punload = nullptr, *pselect = nullptr;
  zorcontrol *pcontrol = nullptr;

  void SetUp() override
  {
    ASSERT_EQ(tokenInitKeyword(), 0);
    /* host, locale, internal, application: single-byte, mixed, double-byte */
    ASSERT_EQ(ocnvftCreateGlobal(nullptr, 'A', 0x80, 37, 0, 1200, 819, 819, 1200, 850, 1208, 1202, 850, 0, 0), 0);
    ocnvftSetExternal(nullptr, 1252, 1252, 1200);
    ocnvftSetDB(nullptr, 819);
    pparmlib = zortaskCreateNamed(nullptr);
    pglobal = zortaskCreateNamed(nullptr);
    punload = zortaskCreateNamed(nullptr);
    pselect = zortaskCreate("SELECT");
    ASSERT_EQ(zortaskAddSubTask(pglobal, punload), 0);
    ASSERT_EQ(zortaskAddSubTask(punload, pselect), 0);
    pcontrol = zorcontrolCreate(pglobal, pparmlib);
    ASSERT_NE(pcontrol, nullptr);
    setInt(pparmlib, TOKEN_SCHEME, ZORCTRLU_SCHEME_ASCII);
  }
  void TearDown() override
  {
    /* the SELECT's work buffer is shared by its core data and lives until exit in the program */
    zoratom *pcore = own(pselect, TOKEN_COREDATA);
    if (pcore != nullptr) std::free(pcore->value.pcoreData->pcWorkBuffer);
    /* and each column's ICU converters are its own */
    for (zortask *ptask : subTasks(pselect)) {
      if (zorucoreData *p = coreOf(ptask)) {
        ucnv_close(p->pconvToUtf16);
        ucnv_close(p->pconvFromUtf16);
      }
    }
    zortaskDestroy(pglobal);
    zortaskDestroy(pparmlib);
    ostackDestroy(pcontrol->pstackMaxRc);
    std::free(pcontrol);
    ocnvftDestroy(gpcnvft);
  }

  static void add(zortask *ptask, zoratom *patom) { ASSERT_EQ(zortaskAddAtom(ptask, patom), 0); }
  static void setInt(zortask *ptask, int iSlot, int32_t iValue)
  {
    add(ptask, zoratomCreate(tok(iSlot), ZORATOM_INTEGER, ZORATOM_BORROWED, static_cast<uintptr_t>(iValue), nullptr,
                             nullptr));
  }
  static void setText(zortask *ptask, int iSlot, const std::string &s)
  {
    add(ptask, zoratomCreate(tok(iSlot), ZORATOM_OCHAR, 0, reinterpret_cast<uintptr_t>(text(s)), nullptr, nullptr));
  }
  static void setLetter(zortask *ptask, int iSlot, int32_t iType, char cLetter)
  {
    add(ptask, zoratomCreateType(tok(iSlot), iType, cLetter, nullptr, nullptr));
  }

  /* The SELECT's column chain, numbered from 1. */
  void select(const std::vector<Col> &vcol)
  {
    ochaine *pchaine = ochaineCreate(0, nullptr, zorcolDestroyChaineItem);
    int32_t iNumber = 1;
    for (const Col &c : vcol) {
      zorcol *pcol = zorcolCreate(c.pcName != nullptr ? text(c.pcName) : nullptr, iNumber++, nullptr, 0);
      pcol->iType = c.iType;
      pcol->iSubType = c.iSubType;
      pcol->iLength = c.iLength;
      pcol->sCCSID = c.sCCSID;
      if (c.boNull) pcol->usFlags |= ZORCOL_NULL;
      if (c.pcDefault != nullptr) pcol->pcharDefault = text(c.pcDefault);
      ochaineAppend(pchaine, pcol);
    }
    add(pselect, zoratomCreate(tok(TOKEN_SELECT), ZORATOM_OCHAINE, 0, reinterpret_cast<uintptr_t>(pchaine), nullptr,
                               nullptr));
  }

  /* A FORMAT USER column spec: COL n (no name) or COL name (number 0). */
  void spec(const char *pcName, int32_t iNumber)
  {
    zortask *ptask = zortaskCreateNamed(nullptr);
    zorcol *pcol = zorcolCreate(pcName != nullptr ? text(pcName) : nullptr, iNumber, nullptr, 0);
    add(ptask, zoratomCreate(tok(TOKEN_COL), ZORATOM_ZORCOL, 0, reinterpret_cast<uintptr_t>(pcol), nullptr, nullptr));
    ASSERT_EQ(zortaskAddSubTask(pselect, ptask), 0);
  }

  int prepare(std::vector<std::string> *pvMessages = nullptr)
  {
    int rc = -1;
    auto v = zavtestMessages([&] { rc = _zorcontrolFormatZavSelect(pcontrol, pselect); });
    if (pvMessages != nullptr) *pvMessages = v;
    return rc;
  }

  /* Converts a record through every output-column task, offsets given per task. */
  int convert(const std::vector<int16_t> &vsOffset, const std::vector<unsigned char> &vRecord, std::string *pstr)
  {
    std::vector<ucoreCol> vcol;
    auto v = subTasks(pselect);
    EXPECT_EQ(v.size(), vsOffset.size());
    for (size_t i = 0; i < v.size() && i < vsOffset.size(); i++) {
      zorcol *pcolSource = colOf(v[i], TOKEN_SOURCECOL);
      zorcol *pcolTarget = colOf(v[i], TOKEN_COL);
      vcol.push_back({static_cast<uint16_t>(pcolSource->iType), static_cast<uint16_t>(pcolTarget->iType),
                      pcolSource->iSubType, vsOffset[i], coreOf(v[i])});
    }
    return ucoreConvert(vcol, vRecord, pstr);
  }
};

const Col kId = {"ID", ZORCOL_T_INTEGER, 4, 4, 0, true, nullptr};
const Col kName = {"NAME", ZORCOL_T_CHAR, 3, 3, 819, false, "'ABC'"};
const Col kHired = {"HIRED", ZORCOL_T_DATE, 4, 4, 0, false, nullptr};

/* ------------------------------------------------------------------ DEL */

TEST_F(CtrlTest, SelectWithoutFormatBecomesDelAndIgnoresTheBlockOptions)
{
  setText(punload, TOKEN_SEP, ";");
  setText(punload, TOKEN_DELIM, "'");
  setLetter(punload, TOKEN_DATE, 10, 'A');
  setText(pselect, TOKEN_SEP, "|");   /* the SELECT's own value goes too */
  select({kId, kName, kHired});
  ASSERT_EQ(prepare(), 0);

  EXPECT_EQ(own(pselect, TOKEN_FORMAT)->value.iValue, 13);
  EXPECT_EQ(str(own(pselect, TOKEN_SEP)->value.pchar), ",");
  EXPECT_EQ(str(own(pselect, TOKEN_DELIM)->value.pchar), "\"");
  EXPECT_EQ(str(own(pselect, TOKEN_CR)->value.pchar), "\n");
  struct { int iSlot; int32_t iType; char cLetter; } aletter[] = {
    {TOKEN_DATE, 10, 'K'}, {TOKEN_TIME, 11, 'A'}, {TOKEN_TIMESTAMP, 12, 'B'}};
  for (auto &l : aletter) {
    ASSERT_NE(own(pselect, l.iSlot), nullptr) << l.cLetter;
    EXPECT_EQ(own(pselect, l.iSlot)->value.iValue, l.iType);
    EXPECT_EQ(own(pselect, l.iSlot)->value2.iValue, l.cLetter);
  }
  EXPECT_EQ(own(pselect, TOKEN_LONGCOL)->value.iValue, 0);
  zoratom *pccsid = own(pselect, TOKEN_CCSID);   /* ASCII, no SYSTABLE: the locale triple */
  ASSERT_NE(pccsid, nullptr);
  EXPECT_EQ(pccsid->value.ausShort[0], 819);
  EXPECT_EQ(pccsid->value.ausShort[1], 819);
  EXPECT_EQ(pccsid->value2.usShort, 1200);

  /* three columns in select-list order, then the record end */
  auto v = subTasks(pselect);
  ASSERT_EQ(v.size(), 4u);
  struct {
    int32_t  iNumber;
    int32_t  iSource;
    int32_t  iTarget;
    int16_t  sTargetCCSID;
    uint32_t ulFlags;
  } aexpect[] = {
    {1, 0x0802, 0xB002, 0, ZORUCORE_FLAG_DELIM},
    {2, 0x0007, 0xB107, 819, ZORUCORE_FLAG_SEP | ZORUCORE_FLAG_DELIM},   /* delimiters doubled */
    {3, 0x000A, 0xB03B, 819, ZORUCORE_FLAG_SEP | ZORUCORE_FLAG_DELIM},
  };
  for (size_t i = 0; i < 3; i++) {
    SCOPED_TRACE(i);
    EXPECT_EQ(v[i]->pcName, nullptr);
    zorcol *pcolSource = colOf(v[i], TOKEN_SOURCECOL);
    zorcol *pcolTarget = colOf(v[i], TOKEN_COL);
    ASSERT_NE(pcolSource, nullptr);
    ASSERT_NE(pcolTarget, nullptr);
    EXPECT_NE(pcolSource, pcolTarget);
    EXPECT_EQ(pcolTarget->iNumber, aexpect[i].iNumber);
    EXPECT_EQ(pcolSource->iType, aexpect[i].iSource);
    EXPECT_EQ(pcolTarget->iType, aexpect[i].iTarget);
    EXPECT_EQ(pcolTarget->sCCSID, aexpect[i].sTargetCCSID);
    zorucoreData *pcore = coreOf(v[i]);
    ASSERT_NE(pcore, nullptr);
    EXPECT_EQ(pcore->ulFlags, aexpect[i].ulFlags);
    EXPECT_EQ(str(&pcore->charSep), ",");
    EXPECT_EQ(str(&pcore->charDelim), "\"");
    EXPECT_EQ(pcore->cDelim, '"');
    EXPECT_EQ(pcore->apcharNull[0], nullptr);
    EXPECT_EQ(pcore->pconvToUtf16, nullptr);
    EXPECT_EQ(pcore->pconvFromUtf16, nullptr);
    EXPECT_EQ(pcore->pcWorkBuffer, coreOf(pselect)->pcWorkBuffer);
  }
  EXPECT_EQ(colOf(v[2], TOKEN_COL)->iSubType, 'K');
  EXPECT_EQ(std::string(coreOf(v[2])->pcTemplate, static_cast<size_t>(coreOf(v[2])->sTemplateLength)), "00000000");
  EXPECT_EQ(std::string(coreOf(v[1])->pcDefault, static_cast<size_t>(coreOf(v[1])->sDefaultLength)), "\"ABC\"");
  EXPECT_EQ(coreOf(pselect)->ulWorkSize, 16u);

  /* record end */
  EXPECT_EQ(v[3]->pcName, tok(TOKEN_ECSTASK));
  EXPECT_EQ(colOf(v[3], TOKEN_SOURCECOL)->iType, 78);
  EXPECT_EQ(colOf(v[3], TOKEN_SOURCECOL)->iLength, 1);
  EXPECT_EQ(colOf(v[3], TOKEN_COL)->iType, 0xB000);
  EXPECT_EQ(str(coreOf(v[3])->pcharConstant), "\n");

  /* one record through the prepared columns: INTEGER 42 (nullable), CHAR 'x;y', DATE 2024-02-29 */
  ucoreBytes data;
  data.le32(0, 42).put(4, {0}).put(5, "x\"y").put(8, {0x20, 0x24, 0x02, 0x29});
  std::string strOut;
  ASSERT_EQ(convert({0, 5, 8, 0}, ucoreRecord(12, data), &strOut), 0);
  EXPECT_EQ(strOut, "42,\"x\"\"y\",20240229\n");

  /* the null ID leaves an empty field */
  data.put(4, {1});
  ASSERT_EQ(convert({0, 5, 8, 0}, ucoreRecord(12, data), &strOut), 0);
  EXPECT_EQ(strOut, ",\"x\"\"y\",20240229\n");
}

TEST_F(CtrlTest, DelimitedKeepsTheOptionsInForceAndAddsTheRest)
{
  setText(punload, TOKEN_SEP, ";");
  setLetter(pglobal, TOKEN_DATE, 10, 'C');
  setText(pparmlib, TOKEN_DATEDELIM, "/");
  setInt(pselect, TOKEN_FORMAT, 1);
  add(pselect, zoratomCreateDoubleChar(tok(TOKEN_NULL), text("?"), text("-"), nullptr, nullptr));
  setText(pselect, TOKEN_DECIMAL, ",");
  select({kId, kHired});
  ASSERT_EQ(prepare(), 0);

  /* the separator in force, taken into the output code page on the SELECT */
  EXPECT_EQ(str(own(pselect, TOKEN_SEP)->value.pchar), ";");
  EXPECT_EQ(own(pselect, TOKEN_SEP)->value.pchar->usCCSID, 819);
  EXPECT_EQ(own(pselect, TOKEN_DATE), nullptr);
  EXPECT_EQ(str(own(pselect, TOKEN_DELIM)->value.pchar), "\"");
  EXPECT_EQ(str(own(pselect, TOKEN_CR)->value.pchar), "\n");
  EXPECT_EQ(own(pselect, TOKEN_TIME)->value2.iValue, 'A');
  auto v = subTasks(pselect);
  ASSERT_EQ(v.size(), 3u);
  zorucoreData *pcore = coreOf(v[1]);
  EXPECT_EQ(str(&pcore->charSep), ";");
  EXPECT_EQ(str(&pcore->charDecimal), ",");
  EXPECT_EQ(str(pcore->apcharNull[0]), "?");
  EXPECT_EQ(str(pcore->apcharNull[1]), "-");
  EXPECT_EQ(colOf(v[1], TOKEN_COL)->iType, 0xB033);
  EXPECT_EQ(std::string(pcore->pcTemplate, static_cast<size_t>(pcore->sTemplateLength)), "0000/00/00");

  ucoreBytes data;
  data.le32(0, 7).put(4, {0}).put(5, {0x20, 0x24, 0x02, 0x29});
  std::string strOut;
  ASSERT_EQ(convert({0, 5, 0}, ucoreRecord(9, data), &strOut), 0);
  EXPECT_EQ(strOut, "7;2024/02/29\n");
}

/* Target keys of DEL by source type and options. */
TEST_F(CtrlTest, DelTargetKeysFollowTypeAndLobOptions)
{
  struct {
    const char *pcWhat;
    int32_t     iType;
    bool        boNull;
    int         iDoubleDelim;   /* DOUBLE DELIM ON 1, OFF 0, not given -1: doubled */
    bool        boLobFile, boLls;
    int32_t     iTarget;
    int16_t     sTargetCCSID;   /* the mixed CCSID is 819 */
  } acase[] = {
    {"nullable VARCHAR", 8, true, -1, false, false, 0xB108, 819},
    {"VARCHAR, DOUBLE DELIM ON", 8, false, 1, false, false, 0xB108, 819},
    {"VARCHAR, DOUBLE DELIM OFF", 8, false, 0, false, false, 0xB008, 819},
    {"GRAPHIC, converted", 13, false, -1, false, false, 0xB10D, 819},
    {"GRAPHIC, DOUBLE DELIM OFF", 13, false, 0, false, false, 0xB00D, 819},
    {"BLOB inline", 16, false, -1, false, false, 0xB110, 1208},
    {"BLOB inline, DOUBLE DELIM OFF", 16, false, 0, false, false, 0xB010, 1208},
    {"CLOB", 17, true, -1, false, false, 0xB111, 819},
    {"CLOB to LOB file", 17, false, 1, true, false, 0xB411, 819},
    {"DBCLOB to LOB file, LLS", 18, false, -1, true, true, 0xB512, 819},
    {"TIME_A", 11, false, -1, false, false, 0xB041, 819},
    {"TIMESTAMP_B", 12, false, -1, false, false, 0xB047, 819},
    {"ROWID", 19, false, -1, false, false, 0xB000, 1208},
  };
  for (auto &c : acase) {
    SCOPED_TRACE(c.pcWhat);
    TearDown();
    SetUp();
    if (c.iDoubleDelim >= 0) setInt(punload, TOKEN_DOUBLE_DELIM, c.iDoubleDelim);
    if (c.boLobFile) setText(punload, TOKEN_LOBFILE, "lob");
    if (c.boLls) setInt(punload, TOKEN_LLS, 1);
    select({{"C", c.iType, 10, 10, 1208, c.boNull, nullptr}});
    ASSERT_EQ(prepare(), 0);
    zorcol *pcolTarget = colOf(subTasks(pselect)[0], TOKEN_COL);
    /* a converted column also carries 0x0200 */
    EXPECT_EQ(pcolTarget->iType & ~0x0200, c.iTarget);
    EXPECT_EQ(pcolTarget->sCCSID, c.sTargetCCSID);
  }
}

/* A SELECT that goes through DB2 marks its source keys; the target keys stay those of the format. */
TEST_F(CtrlTest, SelectThroughDb2MarksItsSourceKeys)
{
  struct {
    int32_t iFormat;
    int32_t iTarget;
  } acase[] = {{13, 0xB002}, {1, 0xB002}, {11, 0x8802}, {5, ZORCOL_T_INTEGER}};
  for (auto &c : acase) {
    SCOPED_TRACE(c.iFormat);
    TearDown();
    SetUp();
    pselect->ulFlags |= ZORTASK_FLAG_DB2;
    setInt(pselect, TOKEN_FORMAT, c.iFormat);
    setText(pselect, TOKEN_TBNAME, "EMP");
    setText(punload, TOKEN_TBQUALIFIER, "ZAVINST");
    select({kId});
    ASSERT_EQ(prepare(), 0);
    zortask *ptask = subTasks(pselect)[c.iFormat == 11 ? 1 : 0];
    EXPECT_EQ(colOf(ptask, TOKEN_SOURCECOL)->iType, c.iFormat == 5 ? 0x0802 : 0xD802);
    EXPECT_EQ(colOf(ptask, TOKEN_COL)->iType, c.iTarget);
  }
}

/* --------------------------------------------------------- CCSID triple */

TEST_F(CtrlTest, CcsidTripleBySchemeAndCatalogueRecord)
{
  struct {
    const char *pcWhat;
    int32_t     iScheme;
    bool        boSystable;
    uint16_t    usS, usM, usD;
  } acase[] = {
    {"ASCII, no SYSTABLE: locale", ZORCTRLU_SCHEME_ASCII, false, 819, 819, 1200},
    {"ASCII, SYSTABLE: external", ZORCTRLU_SCHEME_ASCII, true, 1252, 1252, 1200},
    {"UNICODE: internal", ZORCTRLU_SCHEME_UNICODE, false, 850, 1208, 1202},
    {"EBCDIC, SYSTABLE: none", ZORCTRLU_SCHEME_EBCDIC, true, 0, 0, 1200},
    {"EBCDIC, no SYSTABLE: host", ZORCTRLU_SCHEME_EBCDIC, false, 37, 37, 1200},
    {"ASIS: database CCSID", ZORCTRLU_SCHEME_ASIS, false, 819, 819, 1202},
    {"unknown scheme", 0x1234, false, 0, 0, 1202},
  };
  for (auto &c : acase) {
    SCOPED_TRACE(c.pcWhat);
    TearDown();
    SetUp();
    setInt(pselect, TOKEN_SCHEME, c.iScheme);
    if (c.boSystable)
      add(pselect, zoratomCreate(tok(TOKEN_SYSTABLE), ZORATOM_INTEGER, ZORATOM_BORROWED, 1, nullptr, nullptr));
    ASSERT_EQ(zorcontrolCcsidScheme(pcontrol, pselect, 13), 0);
    zoratom *p = own(pselect, TOKEN_CCSID);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->value.ausShort[0], c.usS);
    EXPECT_EQ(p->value.ausShort[1], c.usM);
    EXPECT_EQ(p->value2.usShort, c.usD);
  }
}

TEST_F(CtrlTest, CcsidAtomOfTheBlockIsKeptOrCompletedInPlace)
{
  add(punload, zoratomCreateTripleShort(tok(TOKEN_CCSID), 437, 0, 1200, nullptr, nullptr));
  ASSERT_EQ(zorcontrolCcsidScheme(pcontrol, pselect, 13), 0);
  EXPECT_EQ(own(pselect, TOKEN_CCSID), nullptr);
  zoratom *p = own(punload, TOKEN_CCSID);
  EXPECT_EQ(p->value.ausShort[0], 437);
  EXPECT_EQ(p->value.ausShort[1], 819);
  EXPECT_EQ(p->value2.usShort, 1200);
  /* a second SELECT finds it complete and leaves it */
  ASSERT_EQ(zorcontrolCcsidScheme(pcontrol, pselect, 13), 0);
  EXPECT_EQ(p->value.ausShort[1], 819);
}

/* ------------------------------------------------ FORMAT USER column specs */

TEST_F(CtrlTest, ColumnSpecsMatchByNumberThenNameAndUnusedOnesAreRemoved)
{
  setInt(pselect, TOKEN_FORMAT, 5);
  spec("NAME", 0);      /* matched by name, takes number 2 */
  spec(nullptr, 1);     /* matched by number, takes the name ID */
  spec("NOPE", 0);      /* unused */
  spec(nullptr, 9);     /* unused */
  zortask *pspecName = subTasks(pselect)[0];
  zortask *pspecOne = subTasks(pselect)[1];
  select({kId, kName, kHired});

  std::vector<std::string> vMessages;
  EXPECT_EQ(prepare(&vMessages), ZORCTRL_RC_UNUSED_SPEC);
  EXPECT_EQ(ZORCTRL_RC_UNUSED_SPEC, 0x105a002);
  EXPECT_EQ(vMessages, (std::vector<std::string>{"ZORU071E UNUSED FORMAT USER COLUMN SPEC, COL Name:NOPE\n",
                                                  "ZORU072E UNUSED FORMAT USER COLUMN SPEC, COL # 9\n"}));
  auto v = subTasks(pselect);
  ASSERT_EQ(v.size(), 3u);   /* USER has no record-end column */
  EXPECT_EQ(v[0], pspecOne);
  EXPECT_EQ(v[1], pspecName);
  EXPECT_EQ(str(colOf(pspecOne, TOKEN_COL)->pcharName), "ID");
  EXPECT_EQ(colOf(pspecName, TOKEN_COL)->iNumber, 2);
  EXPECT_EQ(str(colOf(v[2], TOKEN_COL)->pcharName), "HIRED");
  for (zortask *p : v) {
    EXPECT_NE(coreOf(p), nullptr);
    EXPECT_NE(colOf(p, TOKEN_SOURCECOL), nullptr);
  }
}

TEST_F(CtrlTest, OneColumnSpecServesOneColumnOfThatName)
{
  setInt(pselect, TOKEN_FORMAT, 5);
  spec("C", 0);
  select({{"C", 2, 4, 4, 0, false, nullptr}, {"C", 2, 4, 4, 0, false, nullptr}});
  ASSERT_EQ(prepare(), 0);
  auto v = subTasks(pselect);
  ASSERT_EQ(v.size(), 2u);
  EXPECT_EQ(colOf(v[0], TOKEN_COL)->iNumber, 1);
  EXPECT_EQ(colOf(v[1], TOKEN_COL)->iNumber, 2);
  EXPECT_NE(colOf(v[0], TOKEN_SOURCECOL), colOf(v[1], TOKEN_SOURCECOL));
}

/* A column's own options (on its column spec) win over those the DEL format forces on the SELECT. */
TEST_F(CtrlTest, ColumnSpecOptionsOverrideTheSelectForItsColumn)
{
  setText(pparmlib, TOKEN_DATEDELIM, "-");
  spec(nullptr, 3);
  zortask *pspec = subTasks(pselect)[0];
  setLetter(pspec, TOKEN_DATE, 10, 'A');
  setText(pspec, TOKEN_SEP, "|");
  select({kId, kName, kHired, kHired});
  ASSERT_EQ(prepare(), 0);
  auto v = subTasks(pselect);
  ASSERT_EQ(v.size(), 5u);
  EXPECT_EQ(v[2], pspec);
  EXPECT_EQ(colOf(v[2], TOKEN_COL)->iType, 0xB031);
  EXPECT_EQ(colOf(v[3], TOKEN_COL)->iType, 0xB03B);
  EXPECT_EQ(std::string(coreOf(v[2])->pcTemplate, static_cast<size_t>(coreOf(v[2])->sTemplateLength)), "00-00-0000");
  EXPECT_EQ(str(&coreOf(v[2])->charSep), "|");
  EXPECT_EQ(str(&coreOf(v[3])->charSep), ",");

  ucoreBytes data;
  data.le32(0, 1).put(4, {0}).put(5, "abc").put(8, {0x20, 0x24, 0x02, 0x29}).put(12, {0x19, 0x99, 0x12, 0x31});
  std::string strOut;
  ASSERT_EQ(convert({0, 5, 8, 12, 0}, ucoreRecord(16, data), &strOut), 0);
  EXPECT_EQ(strOut, "1,\"abc\"|02-29-2024,19991231\n");
}

/* ---------------------------------------------------- long columns, work size */

TEST_F(CtrlTest, LongColumnsAndWorkBufferSize)
{
  select({{"L", ZORCOL_T_LONGVAR, 32700, 32700, 819, false, nullptr},
          {"C", ZORCOL_T_CLOB, 1 << 20, 40000, 819, false, nullptr}});
  ASSERT_EQ(prepare(), 0);
  EXPECT_EQ(own(pselect, TOKEN_LONGCOL)->value.iValue, 3);
  EXPECT_EQ(coreOf(pselect)->ulWorkSize, 4u * 32700u);
}

/* ------------------------------------------------------------------ IXF */

TEST_F(CtrlTest, IxfSetsAsisWritesTheHeaderAndFramesTheRecord)
{
  setInt(pselect, TOKEN_FORMAT, 11);
  setText(pselect, TOKEN_TBNAME, "EMP");
  setText(punload, TOKEN_TBQUALIFIER, "ZAVINST");
  select({kId, {"NAME", ZORCOL_T_CHAR, 3, 3, 819, true, nullptr}});
  ASSERT_EQ(prepare(), 0);

  EXPECT_EQ(own(pselect, TOKEN_SCHEME)->value.iValue, ZORCTRLU_SCHEME_ASIS);
  EXPECT_EQ(own(pselect, TOKEN_CR), nullptr);
  EXPECT_EQ(own(pselect, TOKEN_SEP), nullptr);
  zoratom *pccsid = own(pselect, TOKEN_CCSID);
  EXPECT_EQ(pccsid->value.ausShort[1], 819);
  EXPECT_EQ(pccsid->value2.usShort, 1202);
  ASSERT_NE(own(pselect, TOKEN_HEADER_IXF), nullptr);

  /* header column, ID, NAME, end column */
  auto v = subTasks(pselect);
  ASSERT_EQ(v.size(), 4u);
  EXPECT_EQ(v[0]->pcName, tok(TOKEN_ECSTASK));
  EXPECT_EQ(v[3]->pcName, tok(TOKEN_ECSTASK));
  EXPECT_EQ(colOf(v[1], TOKEN_COL)->iType, 0x8802);
  EXPECT_EQ(colOf(v[2], TOKEN_COL)->iType, 0x8807);   /* the nullable bit stays */
  EXPECT_EQ(coreOf(v[1])->ulFlags & ZORUCORE_FLAG_SEP, ZORUCORE_FLAG_SEP);

  ucoreBytes data;
  data.le32(0, 42).put(4, {0}).put(5, "abc").put(8, {0});
  std::string strOut;
  ASSERT_EQ(convert({0, 0, 5, 0}, ucoreRecord(9, data), &strOut), 0);
  /* D record: length, "D", segment "001", then each nullable value's indicator and bytes */
  EXPECT_EQ(strOut, std::string("000019D001    \0\0\x2A\0\0\0\0\0abc", 25));
}

/* ----------------------------------------------------------- converters */

TEST_F(CtrlTest, ConvertersOpenedPerSide)
{
  struct {
    uint16_t usSource, usTarget;
    bool     boToUtf16, boFromUtf16;
    int      rc;
  } acase[] = {
    {1208, 1200, true, false, 0},
    {1202, 1200, false, false, 0},
    {13488, 819, true, true, 0},
    {4242, 1200, false, false, ZORCTRLU_RC_CONVERTER},
    {1202, 4242, false, false, ZORCTRLU_RC_CONVERTER},
  };
  for (auto &c : acase) {
    SCOPED_TRACE(c.usSource * 100000 + c.usTarget);
    zorucoreData core{};
    int rc = -1;
    auto vMessages = zavtestMessages([&] { rc = _zorcontrolUdbOpenConverters(&core, c.usSource, c.usTarget); });
    EXPECT_EQ(rc, c.rc);
    EXPECT_EQ(core.pconvToUtf16 != nullptr, c.boToUtf16);
    EXPECT_EQ(core.pconvFromUtf16 != nullptr, c.boFromUtf16);
    ucnv_close(core.pconvToUtf16);
    ucnv_close(core.pconvFromUtf16);
    std::vector<std::string> vExpect;
    if (c.rc != 0) vExpect.push_back("ZORU360E ERROR WHILE OPENING CONVERTER FOR CCSID 4242\n");
    EXPECT_EQ(vMessages, vExpect);
  }

  /* through the preparation: a UTF-8 column is converted */
  select({{"U", ZORCOL_T_VARCHAR, 10, 12, 1208, false, nullptr}, {"A", ZORCOL_T_VARCHAR, 10, 12, 819, false, nullptr}});
  std::vector<std::string> vMessages;
  ASSERT_EQ(prepare(&vMessages), 0);
  EXPECT_TRUE(vMessages.empty());
  auto v = subTasks(pselect);
  EXPECT_EQ(colOf(v[0], TOKEN_COL)->iType, 0xB308);
  EXPECT_NE(coreOf(v[0])->pconvToUtf16, nullptr);
  EXPECT_NE(coreOf(v[0])->pconvFromUtf16, nullptr);
  EXPECT_EQ(colOf(v[1], TOKEN_COL)->iType, 0xB108);

  /* VARCHAR slots (offset, length) at 0 and 4, their bytes after the fixed part */
  ucoreBytes data;
  data.le16(0, 8).le16(2, 5).le16(4, 13).le16(6, 3).put(8, "\xC3\xA9t\xC3\xA9").put(13, "a\"b");
  std::string strOut;
  ASSERT_EQ(convert({0, 4, 0}, ucoreRecord(8, data), &strOut), 0);
  /* the UTF-8 "\u00e9t\u00e9" leaves as ISO-8859-1 */
  EXPECT_EQ(strOut, "\"\xE9t\xE9\",\"a\"\"b\"\n");
}

TEST_F(CtrlTest, ColumnThatCannotBeConvertedFailsTheSelect)
{
  /* a column is never written in a code page other than the file's */
  select({{"U", ZORCOL_T_VARCHAR, 10, 12, 1208, false, nullptr}, {"X", ZORCOL_T_VARCHAR, 10, 12, 4242, false, nullptr}});
  std::vector<std::string> vMessages;
  EXPECT_EQ(prepare(&vMessages), ZORCTRLU_RC_CONVERTER);
  EXPECT_EQ(vMessages, (std::vector<std::string>{"ZORU360E ERROR WHILE OPENING CONVERTER FOR CCSID 4242\n",
                                                  "ZORU471E COLUMN X CANNOT BE CONVERTED FROM CCSID 4242 TO CCSID 819\n"}));
}

/* ------------------------------------------------------- DECIMAL sign */

TEST_F(CtrlTest, DecimalSignFollowsPic)
{
  struct {
    const char *pcWhat;
    int32_t     iPic;   /* -1: no PIC atom */
    const char *pcPadding;
    int32_t     iStored;
    const char *pcSign;
  } acase[] = {
    {"no PIC", -1, nullptr, 0, "+"},
    {"PIC plus", 0x100, nullptr, 0x100, "+"},
    {"PIC blank", 0x200, nullptr, 0x200, " "},
    {"PIC padding", 0x400, "*", 0x400, "*"},
    {"PIC other flag", 0x1, nullptr, 0x1, "+"},
  };
  for (auto &c : acase) {
    SCOPED_TRACE(c.pcWhat);
    TearDown();
    SetUp();
    if (c.iPic >= 0) setInt(punload, TOKEN_PIC, c.iPic);
    if (c.pcPadding != nullptr) setText(pglobal, TOKEN_PADDING, c.pcPadding);
    select({{"D", ZORCOL_T_DECIMAL, 5 << 8 | 2, 3, 0, false, nullptr}});
    ASSERT_EQ(prepare(), 0);
    zorucoreData *pcore = coreOf(subTasks(pselect)[0]);
    EXPECT_EQ(pcore->iPic, c.iStored);
    EXPECT_EQ(str(&pcore->charSignPlus), c.pcSign);
  }
}

/* --------------------------------------------------------- IXF defaults */

TEST_F(CtrlTest, DefaultValuesTakeTheFormOfTheOutputFormat)
{
  setInt(pselect, TOKEN_FORMAT, 11);
  setText(pselect, TOKEN_TBNAME, "EMP");
  setText(punload, TOKEN_TBQUALIFIER, "ZAVINST");
  select({{"N", ZORCOL_T_INTEGER, 4, 4, 0, false, "42"}, {"V", ZORCOL_T_VARCHAR, 5, 7, 819, false, "'ABC'"}});
  ASSERT_EQ(prepare(), 0);
  auto v = subTasks(pselect);
  ASSERT_EQ(v.size(), 4u);
  EXPECT_EQ(std::string(coreOf(v[1])->pcDefault, static_cast<size_t>(coreOf(v[1])->sDefaultLength)),
            std::string("\x2A\0\0\0", 4));
  EXPECT_EQ(std::string(coreOf(v[2])->pcDefault, static_cast<size_t>(coreOf(v[2])->sDefaultLength)),
            std::string("\x03\0ABC", 5));
}

/* The catalogue keeps a CHAR default as declared; the column holds it blank-padded, or cut, to its length. */
TEST_F(CtrlTest, CharacterDefaultsTakeTheLengthOfTheirColumn)
{
  struct {
    int32_t iFormat;
    const char *pcDefault;
    int32_t iLength;
    std::string strValue;
  } acase[] = {
      {11, "'ab'", 5, "ab   "},
      {11, "'abcdef'", 1, "a"},
      {13, "'ab'", 5, "\"ab   \""},
      {13, "'it''s'", 6, "\"it's  \""},
  };
  for (auto &c : acase) {
    SCOPED_TRACE(std::to_string(c.iFormat) + " " + c.pcDefault);
    TearDown();
    SetUp();
    setInt(pselect, TOKEN_FORMAT, c.iFormat);
    setText(pselect, TOKEN_TBNAME, "EMP");
    setText(punload, TOKEN_TBQUALIFIER, "ZAVINST");
    select({{"C", ZORCOL_T_CHAR, c.iLength, c.iLength, 819, false, c.pcDefault}});
    ASSERT_EQ(prepare(), 0);
    zorucoreData *pcore = coreOf(subTasks(pselect)[c.iFormat == 11 ? 1 : 0]);
    EXPECT_EQ(std::string(pcore->pcDefault, static_cast<size_t>(pcore->sDefaultLength)), c.strValue);
  }
}

/* ------------------------------------------------- the DEL file's code page */

TEST_F(CtrlTest, DelimitedFilesAreWrittenWhollyInTheOutputCodePage)
{
  /* CCSID(m): the mixed member is the code page of every byte of the file;
     the rows of a UTF-16 file are made in UTF-8 and its record end gets
     the converters of the whole record */
  struct {
    const char *pcWhat;
    uint16_t usMixed;
    const char *pcSep;       /* CCSID 850 text; NULL: the default */
    int rc;
    const char *pcMessage;   /* NULL: none */
    const char *pcSepOut;    /* the separator byte written */
    uint16_t usRow;          /* the code page the columns are written in */
  } acase[] = {
    {"ISO-8859-1", 819, nullptr, 0, nullptr, ",", 819},
    {"UTF-8", 1208, nullptr, 0, nullptr, ",", 1208},
    {"UTF-16", 1200, nullptr, 0, nullptr, ",", 1208},
    {"a separator of one byte in 819", 819, "\xF5", 0, nullptr, "\xA7", 819},
    {"a separator of two bytes in UTF-8", 1208, "\xF5", ZORCTRLU_RC_DELCCSID,
     "ZORU470E FORMAT DELIMITED CANNOT BE WRITTEN IN CCSID 1208: THE SEPARATOR IS NOT ONE BYTE IN IT\n", nullptr, 0},
    {"a separator outside ASCII in UTF-16", 1200, "\xF5", ZORCTRLU_RC_DELCCSID,
     "ZORU470E FORMAT DELIMITED CANNOT BE WRITTEN IN CCSID 1200: THE SEPARATOR IS NOT AN ASCII CHARACTER\n", nullptr,
     0},
    {"EBCDIC", 37, nullptr, ZORCTRLU_RC_DELCCSID,
     "ZORU470E FORMAT DELIMITED CANNOT BE WRITTEN IN CCSID 37: ITS DIGITS AND SIGNS ARE NOT THOSE OF ASCII\n", nullptr,
     0},
    {"UTF-16 low byte first", 1202, nullptr, ZORCTRLU_RC_DELCCSID,
     "ZORU470E FORMAT DELIMITED CANNOT BE WRITTEN IN CCSID 1202: DELIMITED FILES IN UTF-16 ARE WRITTEN IN CCSID 1200 "
     "ONLY\n",
     nullptr, 0},
    {"UCS-2", 13488, nullptr, ZORCTRLU_RC_DELCCSID,
     "ZORU470E FORMAT DELIMITED CANNOT BE WRITTEN IN CCSID 13488: DELIMITED FILES IN UTF-16 ARE WRITTEN IN CCSID 1200 "
     "ONLY\n",
     nullptr, 0},
    {"no converter", 12345, nullptr, ZORCTRLU_RC_DELCCSID,
     "ZORU470E FORMAT DELIMITED CANNOT BE WRITTEN IN CCSID 12345: THERE IS NO CONVERTER FOR IT\n", nullptr, 0},
  };
  for (auto &c : acase) {
    SCOPED_TRACE(c.pcWhat);
    TearDown();
    SetUp();
    setInt(pselect, TOKEN_FORMAT, 1);
    add(pselect, zoratomCreateTripleShort(tok(TOKEN_CCSID), c.usMixed, c.usMixed, 1200, nullptr, nullptr));
    if (c.pcSep != nullptr) setText(punload, TOKEN_SEP, c.pcSep);
    select({kId, {"V", ZORCOL_T_VARCHAR, 5, 7, 819, false, nullptr}});
    std::vector<std::string> vMessages;
    EXPECT_EQ(prepare(&vMessages), c.rc);
    std::vector<std::string> vExpect;
    if (c.pcMessage != nullptr) vExpect.push_back(c.pcMessage);
    EXPECT_EQ(vMessages, vExpect);
    if (c.rc != 0) continue;
    auto v = subTasks(pselect);
    EXPECT_EQ(str(&coreOf(v[1])->charSep), c.pcSepOut);
    EXPECT_EQ(static_cast<uint16_t>(colOf(v[1], TOKEN_COL)->sCCSID), c.usRow);
    zorucoreData *pend = coreOf(v[2]);
    EXPECT_EQ(str(pend->pcharConstant), "\n");
    EXPECT_EQ(pend->pcharConstant->usCCSID, c.usRow);
    /* the record converters: UTF-8 in, ibm-1200 out, only for a UTF-16 file */
    bool boUtf16 = c.usMixed == 1200;
    ASSERT_EQ(pend->pconvToUtf16 != nullptr, boUtf16);
    ASSERT_EQ(pend->pconvFromUtf16 != nullptr, boUtf16);
    if (boUtf16) {
      UErrorCode err = U_ZERO_ERROR;
      EXPECT_STREQ(ucnv_getName(pend->pconvToUtf16, &err), "UTF-8");
      EXPECT_STREQ(ucnv_getName(pend->pconvFromUtf16, &err), "UTF-16BE");
    }
  }
}

TEST_F(CtrlTest, SeparatorThatWouldStandInsideAFieldIsRefused)
{
  struct {
    int iSlot;
    const char *pcValue;
    const char *pcSep;
    const char *pcWhy;   /* NULL: accepted */
  } acase[] = {
    {TOKEN_DELIM, ";", ";", "THE SEPARATOR IS THE DELIMITER"},
    {TOKEN_DECIMAL, ",", ",", "THE SEPARATOR IS THE DECIMAL POINT"},
    {TOKEN_DATEDELIM, "-", "-", "THE SEPARATOR IS A CHARACTER OF NUMBERS"},
    {TOKEN_DATEDELIM, "/", "/", "THE SEPARATOR IS IN THE DATE DELIMITER"},
    {TOKEN_DECIMAL, ",", ";", nullptr},
  };
  for (auto &c : acase) {
    SCOPED_TRACE(std::string(c.pcValue) + " " + c.pcSep);
    TearDown();
    SetUp();
    setInt(pselect, TOKEN_FORMAT, 1);
    setText(punload, TOKEN_SEP, c.pcSep);
    setText(punload, c.iSlot, c.pcValue);
    select({kId, kHired});
    std::vector<std::string> vMessages;
    int rc = prepare(&vMessages);
    if (c.pcWhy == nullptr) {
      EXPECT_EQ(rc, 0);
      EXPECT_TRUE(vMessages.empty());
    } else {
      EXPECT_EQ(rc, ZORCTRLU_RC_DELCLASH);
      EXPECT_EQ(vMessages, std::vector<std::string>{"ZORU472E FORMAT DELIMITED: " + std::string(c.pcWhy) +
                                                    ", THE FILE COULD NOT BE READ BACK\n"});
    }
  }
}

TEST_F(CtrlTest, DefaultTextOfACharacterColumnHasItsDelimitersDoubled)
{
  select({{"Q", ZORCOL_T_VARCHAR, 5, 7, 819, false, "'a\"b'"}});
  ASSERT_EQ(prepare(), 0);
  zorucoreData *pcore = coreOf(subTasks(pselect)[0]);
  EXPECT_EQ(std::string(pcore->pcDefault, static_cast<size_t>(pcore->sDefaultLength)), "\"a\"\"b\"");
  TearDown();
  SetUp();
  setInt(pselect, TOKEN_DOUBLE_DELIM, 0);
  select({{"Q", ZORCOL_T_VARCHAR, 5, 7, 819, false, "'a\"b'"}});
  ASSERT_EQ(prepare(), 0);
  pcore = coreOf(subTasks(pselect)[0]);
  EXPECT_EQ(std::string(pcore->pcDefault, static_cast<size_t>(pcore->sDefaultLength)), "\"a\"b\"");
}

/* ------------------------------------------------------- ignored options */

TEST_F(CtrlTest, OptionsTheFormatDoesNotApplyAreReported)
{
  /* what the parameter library holds is no option given: never reported */
  setLetter(pparmlib, TOKEN_DATE, 10, 'C');
  add(pparmlib, zoratomCreateDoubleChar(tok(TOKEN_NULL), text("\x00"), text("\xFF"), nullptr, nullptr));
  setInt(pparmlib, TOKEN_PIC, 0xC112);
  struct {
    const char *pcWhat;
    int iFormat;
    std::vector<int> viGiven;   /* slots given on the block */
    std::vector<std::string> vExpect;
  } acase[] = {
    {"nothing given", 13, {}, {}},
    {"DEL keeps its date and time layouts", 13, {TOKEN_DATE, TOKEN_TIMESTAMP},
     {"ZORU474W OPTION DATE IS IGNORED UNDER FORMAT DEL\n", "ZORU474W OPTION TIMESTAMP IS IGNORED UNDER FORMAT DEL\n"}},
    {"DELIMITED applies them", 1, {TOKEN_DATE, TOKEN_TIME}, {}},
    {"IXF keeps ISO dates and times", 11, {TOKEN_TIME, TOKEN_DATEDELIM},
     {"ZORU474W OPTION TIME IS IGNORED UNDER FORMAT IXF\n", "ZORU474W OPTION DATEDELIM IS IGNORED UNDER FORMAT IXF\n"}},
    {"no format reads NULL, NULL DELIM or PIC", 1, {TOKEN_NULL, TOKEN_NULLDELIM, TOKEN_PIC},
     {"ZORU474W OPTION NULL IS IGNORED UNDER FORMAT DELIMITED\n",
      "ZORU474W OPTION NULL DELIM IS IGNORED UNDER FORMAT DELIMITED\n",
      "ZORU474W OPTION PIC IS IGNORED UNDER FORMAT DELIMITED\n"}},
  };
  for (auto &c : acase) {
    SCOPED_TRACE(c.pcWhat);
    std::vector<std::string> vMessages;
    zortask *pother = zortaskCreate("SELECT");
    ASSERT_EQ(zortaskAddSubTask(punload, pother), 0);
    for (int iSlot : c.viGiven) {
      zortask *ptask = iSlot == TOKEN_PIC ? pglobal : punload;
      switch (iSlot) {
        case TOKEN_DATE: setLetter(ptask, iSlot, 10, 'A'); break;
        case TOKEN_TIME: setLetter(ptask, iSlot, 11, 'B'); break;
        case TOKEN_TIMESTAMP: setLetter(ptask, iSlot, 12, 'A'); break;
        case TOKEN_NULL: add(ptask, zoratomCreateDoubleChar(tok(iSlot), text("N"), text("-"), nullptr, nullptr)); break;
        case TOKEN_DATEDELIM: setText(ptask, iSlot, "/"); break;
        default: setInt(ptask, iSlot, 1); break;
      }
    }
    auto v = zavtestMessages([&] { EXPECT_EQ(zorcontrolUdbIgnoredOptions(pcontrol, pother, c.iFormat), 0); });
    EXPECT_EQ(v, c.vExpect);
    for (int iSlot : c.viGiven) {
      zoratomDestroy(zortaskRemoveAtom(pglobal, tok(iSlot)));
      zoratomDestroy(zortaskRemoveAtom(punload, tok(iSlot)));
    }
  }
}

TEST_F(CtrlTest, IxfDatesAndTimesKeepTheirIsoText)
{
  setInt(pselect, TOKEN_FORMAT, 11);
  setText(pselect, TOKEN_TBNAME, "EMP");
  setLetter(punload, TOKEN_DATE, 10, 'A');
  setText(punload, TOKEN_DATEDELIM, "/");
  select({{"D", ZORCOL_T_DATE, 4, 4, 0, false, nullptr}, {"T", ZORCOL_T_TIMESTAMP, 10, 10, 0, false, nullptr}});
  std::vector<std::string> vMessages;
  ASSERT_EQ(prepare(&vMessages), 0);
  EXPECT_EQ(vMessages, (std::vector<std::string>{"ZORU474W OPTION DATE IS IGNORED UNDER FORMAT IXF\n",
                                                  "ZORU474W OPTION DATEDELIM IS IGNORED UNDER FORMAT IXF\n"}));
  auto v = subTasks(pselect);
  EXPECT_EQ(std::string(coreOf(v[1])->pcTemplate, static_cast<size_t>(coreOf(v[1])->sTemplateLength)), "0000-00-00");
  EXPECT_EQ(std::string(coreOf(v[2])->pcTemplate, static_cast<size_t>(coreOf(v[2])->sTemplateLength)),
            "0000-00-00-00.00.00.000000");
}

TEST_F(CtrlTest, IxfKeepsTheDatabaseCodePagesWhateverTheCcsidOption)
{
  setInt(pselect, TOKEN_FORMAT, 11);
  setText(pselect, TOKEN_TBNAME, "EMP");
  add(punload, zoratomCreateTripleShort(tok(TOKEN_CCSID), 1208, 1208, 1200, nullptr, nullptr));
  select({kName});
  std::vector<std::string> vMessages;
  ASSERT_EQ(prepare(&vMessages), 0);
  EXPECT_EQ(vMessages, std::vector<std::string>{"ZORU474W OPTION CCSID IS IGNORED UNDER FORMAT IXF\n"});
  /* the SELECT's own triple is the database's (ASIS), the block's stays as given */
  zoratom *pccsid = own(pselect, TOKEN_CCSID);
  ASSERT_NE(pccsid, nullptr);
  EXPECT_EQ(pccsid->value.ausShort[0], 819);
  EXPECT_EQ(own(punload, TOKEN_CCSID)->value.ausShort[0], 1208);
  zoratom *pheader = own(pselect, TOKEN_HEADER_IXF);
  ASSERT_NE(pheader, nullptr);
  EXPECT_EQ(str(pheader->value.pchar).substr(45, 5), "00819");
}

TEST_F(CtrlTest, IxfFileMaxSizeMustLeaveRoomAfterTheHeader)
{
  /* H (57) + T (1610) + one C (878) record: 2545 bytes */
  struct {
    int32_t iUnit, iNumber;
    int rc;
  } acase[] = {{0, 2545, ZORCTRLU_RC_FILEMAX}, {0, 2546, 0}, {1, 2, ZORCTRLU_RC_FILEMAX}, {1, 3, 0}};
  for (auto &c : acase) {
    SCOPED_TRACE(c.iNumber);
    TearDown();
    SetUp();
    setInt(pselect, TOKEN_FORMAT, 11);
    setText(pselect, TOKEN_TBNAME, "EMP");
    add(punload, zoratomCreateType(tok(TOKEN_FILEMAXSIZE), c.iUnit, c.iNumber, nullptr, nullptr));
    select({kId});
    std::vector<std::string> vMessages;
    EXPECT_EQ(prepare(&vMessages), c.rc);
    if (c.rc != 0) {
      long long llMax = c.iUnit == 1 ? c.iNumber * 1024LL : c.iNumber;
      EXPECT_EQ(vMessages, std::vector<std::string>{"ZORU475E FILEMAXSIZE OF " + std::to_string(llMax) +
                                                    " BYTES LEAVES NO ROOM FOR ROWS AFTER THE IXF HEADER OF 2545 BYTES\n"});
    }
  }
}

}  // namespace
