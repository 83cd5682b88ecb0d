/*
** zoratom_test.cpp
**   Atoms: constructors and positions, clone and destroy of every kind (the
**   sanitizers catch a value freed twice or left behind), and the dump texts.
*/
#include "model/zoratom.h"

#include <gtest/gtest.h>

#include "tests/zavtest.h"

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "model/osysibm.h"
#include "common/obf.h"
#include "common/ochaine.h"
#include "common/ochar.h"
#include "common/olist.h"
#include "common/ostream.h"
#include "model/token.h"
#include "model/zortask.h"
#include "expr/zorcol.h"
#include "expr/zornode.h"
#include "model/oconvert.h"
#include "model/orow.h"
#include "run/zorucore.h"

namespace {

ochar *_text(const char *pcText)
{
  ochar *pchar = ocharCreate(32, 850);
  ocharAppendFixed(pchar, pcText, (int32_t)std::strlen(pcText));
  return pchar;
}

std::string _str(const ochar *pchar)
{
  return pchar ? std::string(_charText(pchar), (size_t)pchar->ilBU) : std::string("<null>");
}

zorcol *_column(const char *pcName, int32_t iNumber, int32_t iValue)
{
  return zorcolCreate(_text(pcName), iNumber, zornodeCreateInteger(iValue, nullptr, nullptr), 0);
}

/* A column chain as the parsers make it: byte-sized items, no clone callback. */
ochaine *_columnChaine(void)
{
  ochaine *pchaine = ochaineCreate((int)sizeof(zorcol), nullptr, zorcolDestroyChaineItem);
  ochaineAppend(pchaine, _column("NAME", 1, 11));
  ochaineAppend(pchaine, _column("CITY", 2, 22));
  return pchaine;
}

TEST(ZoratomTest, ConstructorsKeepKindValueAndPosition)
{
  ostreamLocation locStart{3, 7, 4, 9, 0};
  ostreamLocation locEnd{5, 1, 70000, 12, 0};
  zoratom *patom = zoratomCreate("K", ZORATOM_INTEGER, 0, (uintptr_t)(intptr_t)-5, &locStart, &locEnd);
  ASSERT_NE(patom, nullptr);
  EXPECT_EQ(patom->iKind, ZORATOM_INTEGER);
  EXPECT_EQ(patom->iFlags, 0);
  EXPECT_EQ(patom->value.iValue, -5);
  /* start from the first lexeme's first line/column, end from the last one's last line/column */
  EXPECT_EQ(patom->sStartLine, 3);
  EXPECT_EQ(patom->sStartColumn, 7);
  EXPECT_EQ(patom->sEndLine, (int16_t)70000);
  EXPECT_EQ(patom->sEndColumn, 12);
  zoratomDestroy(patom);

  patom = zoratomCreate("B", ZORATOM_BYTE, 0, 0x1234, nullptr, nullptr);
  EXPECT_EQ(patom->value.ulWord, 0x34u);
  EXPECT_EQ(patom->sStartLine, 0);
  EXPECT_EQ(patom->sEndColumn, 0);
  zoratomDestroy(patom);
  patom = zoratomCreate("S", ZORATOM_SHORT, 0, 0x123456, nullptr, nullptr);
  EXPECT_EQ(patom->value.ulWord, 0x3456u);
  zoratomDestroy(patom);

  patom = zoratomCreateType("T", 10, 'C', &locStart, nullptr);
  EXPECT_EQ(patom->iKind, ZORATOM_TYPE);
  EXPECT_EQ(patom->iFlags, ZORATOM_BORROWED);
  EXPECT_EQ(patom->value.iValue, 10);
  EXPECT_EQ(patom->value2.iValue, 'C');
  EXPECT_EQ(patom->sStartLine, 3);
  EXPECT_EQ(patom->sEndLine, 0);
  zoratomDestroy(patom);

  patom = zoratomCreateTripleShort("C", 850, 1208, 1200, nullptr, nullptr);
  EXPECT_EQ(patom->iFlags, ZORATOM_BORROWED);
  EXPECT_EQ(patom->value.ausShort[0], 850);
  EXPECT_EQ(patom->value.ausShort[1], 1208);
  EXPECT_EQ(patom->value2.usShort, 1200);
  zoratomDestroy(patom);

  zoratom *pfrom = zoratomCreate("F", ZORATOM_INTEGER, 0, 1, &locStart, &locEnd);
  patom = zoratomCreate("G", ZORATOM_INTEGER, 0, 1, nullptr, nullptr);
  zoratomSetPosFromAtom(patom, pfrom);
  EXPECT_EQ(patom->sStartColumn, 7);
  EXPECT_EQ(patom->sEndColumn, 12);
  zoratomDestroy(pfrom);
  zoratomDestroy(patom);
  zoratomDestroy(nullptr);
}

/*
** One case per kind: make an atom owning a value, clone it, check that the
** clone has its own copy (or shares it and is borrowed), destroy the clone,
** check the original is intact, destroy the original.
*/
struct KindCase {
  const char                        *pcLabel;
  std::function<zoratom *()>          make;
  bool                               boShared;   /* the clone shares the value and is borrowed */
  std::function<void(const zoratom *)> check;    /* original still readable */
};

TEST(ZoratomTest, CloneAndDestroyEveryKind)
{
  ASSERT_EQ(tokenInitKeyword(), 0);
  osysibmSystablespace *ptsShared = nullptr;
  const KindCase acase[] = {
      {"TASKCHAINE",
       [] {
         ochaine *pchaine = ochaineCreate(0, zortaskChaineClone, zortaskChaineDestroy);
         zortask *ptask = zortaskCreate("SELECT");
         zortaskAddAtom(ptask, zoratomCreate("SELECTSQL", ZORATOM_OCHAR, 0, (uintptr_t)_text("SELECT 1"),
                                             nullptr, nullptr));
         ochaineAppend(pchaine, ptask);
         return zoratomCreate("ECSTASK", ZORATOM_TASKCHAINE, 0, (uintptr_t)pchaine, nullptr, nullptr);
       },
       false, [](const zoratom *p) { EXPECT_EQ(p->value.pchaine->iItemCount, 1); }},
      {"BYTE", [] { return zoratomCreate("B", ZORATOM_BYTE, 0, 200, nullptr, nullptr); }, false,
       [](const zoratom *p) { EXPECT_EQ(p->value.ucByte, 200); }},
      {"INTEGER", [] { return zoratomCreate("I", ZORATOM_INTEGER, ZORATOM_BORROWED, 0xE8C5E2, nullptr, nullptr); },
       false, [](const zoratom *p) { EXPECT_EQ(p->value.iValue, 0xE8C5E2); }},
      {"DIM",
       [] {
         zoratom *p = zoratomCreate("D", ZORATOM_DIM, 0, (uintptr_t)_text("10"), nullptr, nullptr);
         p->value2.iValue = 77;
         return p;
       },
       false, [](const zoratom *p) { EXPECT_EQ(_str(p->value.pchar), "10"); }},
      {"OCHAR", [] { return zoratomCreate("O", ZORATOM_OCHAR, 0, (uintptr_t)_text("abc"), nullptr, nullptr); },
       false, [](const zoratom *p) { EXPECT_EQ(_str(p->value.pchar), "abc"); }},
      {"OLIST",
       [] {
         olist *plist = olistCreate(16, nullptr, nullptr);
         olistAppend(plist, std::calloc(1, 16));
         return zoratomCreate("L", ZORATOM_OLIST, 0, (uintptr_t)plist, nullptr, nullptr);
       },
       false, [](const zoratom *p) { EXPECT_EQ(p->value.plist->iItemCount, 1); }},
      {"OCHAINE of columns",
       [] {
         ochaine *pchaine = _columnChaine();
         pchaine->pData = 0xE2E3C1;
         return zoratomCreate("SELECT", ZORATOM_OCHAINE, 0, (uintptr_t)pchaine, nullptr, nullptr);
       },
       false,
       [](const zoratom *p) {
         zorcol *pcol = static_cast<zorcol *>(p->value.pchaine->pitemTop);
         EXPECT_EQ(_str(pcol->pcharName), "NAME");
         EXPECT_EQ(_str(pcol->pcolNext->pcharName), "CITY");
       }},
      {"OCHAINE of catalogue records",
       [] {
         ochaine *pchaine = ochaineCreate((int)sizeof(osysibmSystablespace), nullptr, osysibmChaineDestroyProc);
         auto *pts = static_cast<osysibmSystablespace *>(std::calloc(1, sizeof(osysibmSystablespace)));
         pts->hdr.sTableId = 17;
         pts->hdr.usChaineCount = 2;
         pts->pcharNAME = _text("USERSPACE1");
         ochaineAppend(pchaine, pts);
         return zoratomCreate("CATALOG", ZORATOM_OCHAINE, 0, (uintptr_t)pchaine, nullptr, nullptr);
       },
       true,
       [](const zoratom *p) {
         auto *pts = static_cast<osysibmSystablespace *>(p->value.pchaine->pitemTop);
         EXPECT_EQ(_str(pts->pcharNAME), "USERSPACE1");
       }},
      {"OBF",
       [] {
         obf *pobf = obfCreate(40);
         obfSet(pobf, 3);
         return zoratomCreate("PART", ZORATOM_OBF, 0, (uintptr_t)pobf, nullptr, nullptr);
       },
       false, [](const zoratom *p) { EXPECT_EQ(obfGet(p->value.pobf, 3), 1); }},
      {"TYPE", [] { return zoratomCreateType("DATE", 10, 'A', nullptr, nullptr); }, true,
       [](const zoratom *p) { EXPECT_EQ(p->value2.iValue, 'A'); }},
      {"DBLCHAR", [] { return zoratomCreateDoubleChar("NULL", _text("-"), nullptr, nullptr, nullptr); }, false,
       [](const zoratom *p) { EXPECT_EQ(_str(p->value.pchar), "-"); }},
      {"TRISHORT", [] { return zoratomCreateTripleShort("CCSID", 1, 2, 3, nullptr, nullptr); }, true,
       [](const zoratom *p) { EXPECT_EQ(p->value2.usShort, 3); }},
      {"ZORCOL", [] { return zoratomCreate("COL", ZORATOM_ZORCOL, 0, (uintptr_t)_column("C1", 1, 5), nullptr, nullptr); },
       false, [](const zoratom *p) { EXPECT_EQ(_str(p->value.pcol->pcharName), "C1"); }},
      {"ZORNODE",
       [] {
         return zoratomCreate("WHERE", ZORATOM_ZORNODE, 0, (uintptr_t)zornodeCreateInteger(9, nullptr, nullptr),
                              nullptr, nullptr);
       },
       false, [](const zoratom *p) { EXPECT_NE(p->value.pnode, nullptr); }},
      {"SYSIBM",
       [&ptsShared] {
         ptsShared = static_cast<osysibmSystablespace *>(std::calloc(1, sizeof(osysibmSystablespace)));
         ptsShared->hdr.sTableId = 17;
         ptsShared->hdr.usChaineCount = 2;
         ptsShared->pcharNAME = _text("USERSPACE1");
         return zoratomCreate("SYSTABLESPACE", ZORATOM_SYSIBM, 0, (uintptr_t)ptsShared, nullptr, nullptr);
       },
       true,
       [](const zoratom *p) {
         EXPECT_EQ(_str(reinterpret_cast<osysibmSystablespace *>(p->value.psysibm)->pcharNAME), "USERSPACE1");
       }},
      {"DBLLIST",
       [] {
         olist *plist = olistCreate(16, nullptr, nullptr);
         olistAppend(plist, std::calloc(1, 16));
         zoratom *p = zoratomCreate("L2", ZORATOM_DBLLIST, 0, (uintptr_t)plist, nullptr, nullptr);
         return p;
       },
       false, [](const zoratom *p) { EXPECT_EQ(p->value2.plist, nullptr); }},
      {"MATCHCOL",
       [] { return zoratomCreateMatchCol("VIEW", _column("V", 1, 1), _column("T", 1, 2), nullptr, nullptr); },
       false,
       [](const zoratom *p) {
         EXPECT_EQ(_str(p->value.pcol->pcharName), "V");
         EXPECT_EQ(_str(p->value2.pcol->pcharName), "T");
       }},
      {"COREDATA",
       [] {
         zorucoreData *pcore = zorucoreDataCreate();
         pcore->pcol = _column("X", 1, 1);
         pcore->pcharConstant = _text("\r\n");
         return zoratomCreate("COREDATA", ZORATOM_COREDATA, 0, (uintptr_t)pcore, nullptr, nullptr);
       },
       false, [](const zoratom *p) { EXPECT_EQ(_str(p->value.pcoreData->pcharConstant), "\r\n"); }},
      {"CONVERTER",
       [] {
         int iRc = 0;
         oconvert *pconvert = oconvertCreate(orowCreate(0), orowCreate(0),
                                             OCONVERT_OWN_SOURCE | OCONVERT_OWN_TARGET, &iRc);
         EXPECT_EQ(iRc, 0);
         return zoratomCreate("CONVERTER", ZORATOM_CONVERTER, 0, (uintptr_t)pconvert, nullptr, nullptr);
       },
       false, [](const zoratom *p) { EXPECT_NE(p->value.pconvert, nullptr); }},
      {"LONG LONG",
       [] {
         zoratom *p = zoratomCreate("LL", ZORATOM_LONGLONG, 0, 0xFFFFFFFF, nullptr, nullptr);
         p->value2.ulLow = 0x7;
         return p;
       },
       false, [](const zoratom *p) { EXPECT_EQ(p->value2.ulLow, 7u); }},
      {"unused kind 20",
       [] { return zoratomCreate("U", 20, 0, (uintptr_t)std::malloc(24), nullptr, nullptr); }, true,
       [](const zoratom *p) { EXPECT_NE(p->value.pValue, nullptr); }},
  };
  for (const KindCase &c : acase) {
    SCOPED_TRACE(c.pcLabel);
    zoratom *patom = c.make();
    ASSERT_NE(patom, nullptr);
    zoratom *pclone = zoratomClone(patom);
    ASSERT_NE(pclone, nullptr);
    EXPECT_EQ(pclone->pcName, patom->pcName);
    EXPECT_EQ(pclone->iKind, patom->iKind);
    bool boPointerKind = patom->iKind != ZORATOM_BYTE && patom->iKind != ZORATOM_INTEGER &&
                         patom->iKind != ZORATOM_TYPE && patom->iKind != ZORATOM_TRISHORT &&
                         patom->iKind != ZORATOM_LONGLONG;
    if (c.boShared || !boPointerKind) {
      EXPECT_EQ(pclone->value.ulWord, patom->value.ulWord);
    } else {
      EXPECT_NE(pclone->value.ulWord, patom->value.ulWord);
    }
    if (c.boShared) {
      EXPECT_TRUE(pclone->iFlags & ZORATOM_BORROWED);
    }
    c.check(pclone);
    zoratomDestroy(pclone);
    c.check(patom);
    zoratomDestroy(patom);
  }
}

TEST(ZoratomTest, ColumnChainCloneOwnsItsColumns)
{
  ochaine *pchaine = _columnChaine();
  pchaine->pData = 0xE2E3C1;
  zoratom *patom = zoratomCreate("SELECT", ZORATOM_OCHAINE, 0, (uintptr_t)pchaine, nullptr, nullptr);
  zoratom *pclone = zoratomClone(patom);
  ASSERT_NE(pclone, nullptr);
  ochaine *pcopy = pclone->value.pchaine;
  ASSERT_EQ(pcopy->iItemCount, 2);
  EXPECT_EQ(pcopy->pData, 0xE2E3C1u);          /* SELECT * marker survives */
  EXPECT_EQ(pcopy->procDestroy, zorcolDestroyChaineItem);
  zorcol *pcolA = static_cast<zorcol *>(pchaine->pitemTop);
  zorcol *pcolB = static_cast<zorcol *>(pcopy->pitemTop);
  EXPECT_NE(pcolA->pcharName, pcolB->pcharName);
  EXPECT_NE(pcolA->pnodeExpr, pcolB->pnodeExpr);
  EXPECT_EQ(pcolB->pcolPrev, nullptr);
  EXPECT_EQ(static_cast<zorcol *>(pcopy->pitemBottom)->pcolNext, nullptr);
  EXPECT_EQ(static_cast<zorcol *>(pcopy->pitemBottom), pcolB->pcolNext);
  /* the copy's columns are not linked into the source chain */
  EXPECT_NE(pcolB->pcolNext, pcolA->pcolNext);
  zoratomDestroy(patom);
  EXPECT_EQ(_str(pcolB->pcharName), "NAME");
  zoratomDestroy(pclone);
}

TEST(ZoratomTest, BorrowedAtomLeavesItsValueAlone)
{
  ochar *pchar = _text("owned elsewhere");
  zoratom *patom = zoratomCreate("O", ZORATOM_OCHAR, ZORATOM_BORROWED, (uintptr_t)pchar, nullptr, nullptr);
  zoratom *pclone = zoratomClone(patom);
  EXPECT_EQ(pclone->value.pchar, pchar);
  zoratomDestroy(pclone);
  zoratomDestroy(patom);
  EXPECT_EQ(_str(pchar), "owned elsewhere");
  ocharDestroy(pchar);
}

TEST(ZoratomTest, DumpTextsByKind)
{
  ostreamLocation locStart{2, 5, 2, 9, 0};
  ostreamLocation locEnd{2, 11, 3, 4, 0};
  struct {
    zoratom    *patom;
    std::string strExpected;
  } acase[] = {
      {zoratomCreate("MAXRC", ZORATOM_INTEGER, 0, 8, &locStart, &locEnd),
       "ATOM MAXRC (2:5-3:4) TYPE INTEGER \n    !8!\n"},
      {zoratomCreate(nullptr, ZORATOM_BYTE, 0, 255, nullptr, nullptr), "ATOM no_name (0:0-0:0) TYPE BYTE \n    !255!\n"},
      {zoratomCreate("S", ZORATOM_SHORT, 0, 65535, nullptr, nullptr), "ATOM S (0:0-0:0) TYPE SHORT \n    !65535!\n"},
      {zoratomCreate("C", ZORATOM_CHAR, 0, 'x', nullptr, nullptr), "ATOM C (0:0-0:0) TYPE CHAR \n"},
      {zoratomCreateType("DATE", 10, 'C', nullptr, nullptr), "ATOM DATE (0:0-0:0) TYPE TYPE \n    !10! !67! \n"},
      {zoratomCreateTripleShort("CCSID", 850, 0, 1200, nullptr, nullptr),
       "ATOM CCSID (0:0-0:0) TYPE TRISHORT \n|850| |0| |1200|\n"},
      {zoratomCreate("L", ZORATOM_DBLLIST, 0, 0, nullptr, nullptr),
       "ATOM L (0:0-0:0) TYPE DBLLIST \n  plist1 : NULL\n  plist2 : NULL\n"},
      {zoratomCreateMatchCol("VIEW", nullptr, nullptr, nullptr, nullptr),
       "ATOM VIEW (0:0-0:0) TYPE MATCHCOL VIEW\n               TABLE\n"},
      {zoratomCreate("T", ZORATOM_TASKCHAINE, 0, 0, nullptr, nullptr), "ATOM T (0:0-0:0) TYPE TASKCHAINE \n"},
      {zoratomCreate("Z", ZORATOM_ZORNODE, 0, 0, nullptr, nullptr), "ATOM Z (0:0-0:0) TYPE ZORNODE \n"},
  };
  zoratom *pll = zoratomCreate("LL", ZORATOM_LONGLONG, 0, 0xFFFFFFFE, nullptr, nullptr);
  pll->value2.ulLow = 0xFFFFFFFF;
  zoratom *pother = zoratomCreate("K", 18, ZORATOM_BORROWED, 0, nullptr, nullptr);
  zoratom *pdim = zoratomCreate("D", ZORATOM_DIM, ZORATOM_BORROWED, 0, nullptr, nullptr);
  pdim->value2.ulLow = 0xAB;
  for (auto &c : acase) {
    EXPECT_EQ(zavtestCapture([&](FILE *pf) { zoratomPrint(c.patom, pf); }), c.strExpected);
    zoratomDestroy(c.patom);
  }
  EXPECT_EQ(zavtestCapture([&](FILE *pf) { zoratomPrint(pll, pf); }), "ATOM LL (0:0-0:0) TYPE LONG LONG \n    !-2!\n");
  char acPointer[32];
  std::snprintf(acPointer, sizeof acPointer, "%p", (void *)nullptr);
  EXPECT_EQ(zavtestCapture([&](FILE *pf) { zoratomPrint(pother, pf); }),
            std::string("ATOM K (0:0-0:0) TYPE 18 \n") + acPointer + " \n");
  EXPECT_EQ(zavtestCapture([&](FILE *pf) { zoratomPrint(pdim, pf); }), "ATOM D (0:0-0:0) TYPE DIM \n    ab \n");
  zoratomDestroy(pll);
  zoratomDestroy(pother);
  zoratomDestroy(pdim);
}

}  // namespace
