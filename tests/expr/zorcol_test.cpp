/*
** zorcol_test.cpp
**   Column descriptors: catalogue columns (code pages, lengths, distinct and
**   unreadable types), CLI result columns, SQLDA entries, deep copies,
**   resolution against a column chain, default names, the match list of a
**   view (including a view that declares more columns than its SELECT) and
**   the dump.
*/
#include "expr/zorcol.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "model/osysibm.h"
#include "common/ochaine.h"
#include "common/ochar.h"
#include "common/odict.h"
#include "common/olist.h"
#include "common/omsgs.h"
#include "common/ostack.h"
#include "model/zoratom.h"
#include "expr/zornode.h"

namespace {

ochar *str850(const char *pc)
{
  ochar *pchar = ocharCreate(0, 850);
  ocharAppendFixedS(pchar, pc, static_cast<int32_t>(std::strlen(pc)));
  return pchar;
}

std::string text(const ochar *pchar)
{
  return pchar ? std::string(_charText(pchar), static_cast<size_t>(pchar->ilBU)) : std::string("<null>");
}

/* A zeroed SYSCOLUMNS record; the caller fills the fields of the case. */
struct Syscol {
  osysibmSyscolumns rec;
  Syscol(const char *pcName, int iType, int16_t sLength)
  {
    std::memset(&rec, 0, sizeof rec);
    rec.hdr.sTableId = OSYSIBM_SYSCOLUMNS;
    rec.pcharNAME = str850(pcName);
    rec.iTypeId = iType;
    rec.sLENGTH = sLength;
    rec.sCOLNO = 3;
    rec.cNULLS = 'N';
  }
  ~Syscol()
  {
    ocharDestroy(rec.pcharNAME);
    ocharDestroy(rec.pcharDEFAULTVALUE);
  }
  const osysibm *p() const { return &rec.hdr; }
};

zornode *columnNode(const char *pcName)
{
  return zornodeCreate(ZORNODE_VAR, NODE_CTUNK, zorcolCreate(str850(pcName), 0, nullptr, 0), nullptr, 0, nullptr,
                       nullptr);
}

ochaine *columnChain()
{
  return ochaineCreate(sizeof(zorcol), nullptr, zorcolDestroyChaineItem);
}

std::string printed(const zorcol *pcol)
{
  char *pcBuf = nullptr;
  size_t ulSize = 0;
  FILE *pf = open_memstream(&pcBuf, &ulSize);
  zorcolPrint(pcol, pf);
  std::fclose(pf);
  std::string s(pcBuf, ulSize);
  std::free(pcBuf);
  return s;
}

size_t count(const std::string &s, const std::string &what)
{
  size_t n = 0;
  for (size_t pos = s.find(what); pos != std::string::npos; pos = s.find(what, pos + 1)) ++n;
  return n;
}

}  // namespace

TEST(ZorcolCatalogue, TypesLengthsAndCodePages)
{
  struct {
    const char *pcCase;
    int iType;
    int16_t sLength, sScale, sComposite, sCodepage, sDbcs;
    int32_t iLength2;
    int iSubType, iLength;
    int iCCSID;
    uint16_t usRawCCSID;   /* whose class the column must carry */
  } cases[] = {
      {"INTEGER", 2, 4, 0, 0, 0, 0, 0, 4, 4, 0, 0},
      {"DECIMAL(7,2)", 3, 7, 2, 0, 0, 0, 0, 0x0702, 4, 0, 0},
      {"DECIMAL(8,2)", 3, 8, 2, 0, 0, 0, 0, 0x0802, 5, 0, 0},
      {"CHAR, no composite code page", 7, 10, 0, 0, 850, 0, 0, 10, 10, 850, 850},
      {"CHAR keeps its composite code page", 7, 10, 0, 1208, 850, 0, 0, 10, 10, 1208, 1208},
      {"VARCHAR", 8, 40, 0, 0, 819, 0, 0, 40, 40, 819, 819},
      {"GRAPHIC 1200 is 13488", 13, 4, 0, 0, 0, 1200, 0, 4, 4, 13488, 1200},
      {"VARGRAPHIC 964 is 13488", 14, 4, 0, 0, 0, 964, 0, 4, 4, 13488, 964},
      {"GRAPHIC 5050 is 13488", 13, 4, 0, 0, 0, 5050, 0, 4, 4, 13488, 5050},
      {"BLOB", 16, 0, 0, 0, 0, 0, 1048576, 1048576, 1048576, 0, 0},
      {"CLOB", 17, 0, 0, 0, 850, 0, 65536, 65536, 65536, 850, 850},
      {"DATE", 10, 4, 0, 0, 0, 0, 0, 0, 4, 0, 0},
      {"TIME", 11, 3, 0, 0, 0, 0, 0, 0, 3, 0, 0},
      {"TIMESTAMP", 12, 10, 0, 0, 0, 0, 0, 0, 10, 0, 0},
  };
  for (const auto &c : cases) {
    Syscol sys("COL1", c.iType, c.sLength);
    sys.rec.sSCALE = c.sScale;
    sys.rec.sCOMPOSITE_CODEPAGE = c.sComposite;
    sys.rec.sCODEPAGE = c.sCodepage;
    sys.rec.sDBCSCODEPG = c.sDbcs;
    sys.rec.iLENGTH2 = c.iLength2;
    zorcol *pcol = zorcolCreateFromSyscolumn(sys.p());
    ASSERT_NE(pcol, nullptr) << c.pcCase;
    EXPECT_EQ(pcol->iType, c.iType) << c.pcCase;
    EXPECT_EQ(pcol->iSubType, c.iSubType) << c.pcCase;
    EXPECT_EQ(pcol->iLength, c.iLength) << c.pcCase;
    EXPECT_EQ(pcol->sCCSID, c.iCCSID) << c.pcCase;
    /* exactly one class bit, that of the code page the column was given */
    EXPECT_EQ(pcol->usFlags & ZORCOL_CLASS, ocharDetermineBCS(c.usRawCCSID)) << c.pcCase;
    zorcolDestroy(pcol);
  }
  EXPECT_EQ(ocharDetermineBCS(1200), ZORCOL_DBCS);
  EXPECT_EQ(zorcolCreateFromSyscolumn(nullptr), nullptr);
}

TEST(ZorcolCatalogue, DescriptorRefersToACopyOfItself)
{
  Syscol sys("PRICE", 3, 9);
  sys.rec.sSCALE = 2;
  sys.rec.sCOLNO = 7;
  sys.rec.cNULLS = 'Y';
  sys.rec.pcharDEFAULTVALUE = str850("0.00");
  zorcol *pcol = zorcolCreateFromSyscolumn(sys.p());
  ASSERT_NE(pcol, nullptr);
  EXPECT_EQ(text(pcol->pcharName), "PRICE");
  EXPECT_NE(pcol->pcharName, sys.rec.pcharNAME);
  EXPECT_EQ(text(pcol->pcharDefault), "0.00");
  EXPECT_EQ(pcol->iDb2Number, 7);
  EXPECT_TRUE(pcol->usFlags & ZORCOL_NULL);
  EXPECT_TRUE(pcol->usFlags & ZORCOL_VAR);

  const zornode *pnode = pcol->pnodeExpr;
  ASSERT_NE(pnode, nullptr);
  EXPECT_EQ(pnode->sKind, ZORNODE_VAR);
  EXPECT_EQ(pnode->sCode, 3);
  EXPECT_EQ(pnode->usStatus, 0);
  EXPECT_EQ(pnode->pRight, nullptr);
  const zorcol *pself = static_cast<const zorcol *>(pnode->pLeft);
  ASSERT_NE(pself, nullptr);
  EXPECT_NE(pself, pcol);
  EXPECT_EQ(pself->pnodeExpr, nullptr);
  EXPECT_EQ(pself->iSubType, 0x0902);
  EXPECT_EQ(pself->iDb2Number, 7);
  EXPECT_EQ(text(pself->pcharName), "PRICE");
  zorcolDestroy(pcol);
}

TEST(ZorcolCatalogue, TypesThatCannotBeReadDirectlyBecomeTypeZero)
{
  /* no data-type registry at all: no crash, type 0, an unresolved column node */
  ASSERT_EQ(osysibmGetSysDatatypes(101), nullptr);
  for (int iType : {OSYSIBM_TYPE_DISTINCT, OSYSIBM_TYPE_UNKNOWN}) {
    Syscol sys("MONEY", iType, 8);
    sys.rec.iDATATYPEID = 101;
    zorcol *pcol = zorcolCreateFromSyscolumn(sys.p());
    ASSERT_NE(pcol, nullptr);
    EXPECT_EQ(pcol->iType, ZORCOL_T_UNKNOWN);
    ASSERT_NE(pcol->pnodeExpr, nullptr);
    EXPECT_EQ(pcol->pnodeExpr->sCode, NODE_CTUNK);
    zorcolDestroy(pcol);
  }

  /* a registered distinct type stands for its source type */
  ASSERT_EQ(osysibmInitDictDatatypes(), 0);
  osysibmSysdatatypes *pdt = static_cast<osysibmSysdatatypes *>(std::calloc(1, sizeof(osysibmSysdatatypes)));
  pdt->hdr.sTableId = OSYSIBM_SYSDATATYPES;
  pdt->iDATATYPEID = 101;
  pdt->iSOURCETYPEID = OSYSIBM_TYPE_DECIMAL;
  pdt->iLENGTH = 11;
  pdt->sSCALE = 2;
  odictStore(pdictDatatypes, 101, pdt);
  {
    Syscol sys("MONEY", OSYSIBM_TYPE_DISTINCT, 8);
    sys.rec.iDATATYPEID = 101;
    zorcol *pcol = zorcolCreateFromSyscolumn(sys.p());
    ASSERT_NE(pcol, nullptr);
    EXPECT_EQ(pcol->iType, ZORCOL_T_DECIMAL);
    EXPECT_EQ(pcol->iSubType, 0x0b02);
    EXPECT_EQ(pcol->iLength, 6);
    zorcolDestroy(pcol);
  }
  /* a source type the program does not know is still type 0 */
  pdt->iSOURCETYPEID = 999;
  {
    Syscol sys("MONEY", OSYSIBM_TYPE_DISTINCT, 8);
    sys.rec.iDATATYPEID = 101;
    zorcol *pcol = zorcolCreateFromSyscolumn(sys.p());
    EXPECT_EQ(pcol->iType, ZORCOL_T_UNKNOWN);
    zorcolDestroy(pcol);
  }
  osysibmDestroyDictDatatypes();
}

TEST(ZorcolCli, ResultColumnsAsCliDescribesThem)
{
  struct {
    int iSqlType;
    int32_t ilPrecision;
    int iScale;
    int32_t ilSize;
    int iType, iSubType, iLength, iCCSID, iLobs;
  } cases[] = {
      /* only text columns take the connection's code page: numbers, dates and BLOBs have none,
         as their catalogue descriptions on the direct path */
      {91, 10, 0, 10, 10, 10, 67, 0, 0},          /* DATE */
      {92, 8, 0, 8, 11, 8, 65, 0, 0},             /* TIME */
      {93, 26, 6, 26, 12, 26, 66, 0, 0},          /* TIMESTAMP */
      {3, 7, 2, 9, 3, 0x0702, 4, 0, 0},           /* DECIMAL(7,2) */
      {-98, 0, 0, 1000, 16, 32700, 32700, 0, 1},  /* BLOB */
      {-99, 0, 0, 1000, 17, 32700, 32700, 850, 1},/* CLOB */
      {-350, 0, 0, 1000, 18, 32700, 32700, 850, 1},
      {1, 12, 0, 12, 7, 12, 12, 850, 0},          /* CHAR(12) */
      {4, 10, 0, 4, 2, 4, 4, 0, 0},               /* INTEGER */
  };
  int iLobs = 0;
  for (const auto &c : cases) {
    int iBefore = iLobs;
    zorcol *pcol = zorcolCreateFromColDescription(4, "AMOUNT", c.iSqlType, c.ilPrecision, c.iScale, c.ilSize, 1, 850, 0,
                                                  &iLobs);
    ASSERT_NE(pcol, nullptr) << c.iSqlType;
    EXPECT_EQ(pcol->iType, c.iType) << c.iSqlType;
    EXPECT_EQ(pcol->iSubType, c.iSubType) << c.iSqlType;
    EXPECT_EQ(pcol->iLength, c.iLength) << c.iSqlType;
    EXPECT_EQ(pcol->sCCSID, c.iCCSID) << c.iSqlType;
    EXPECT_EQ(iLobs - iBefore, c.iLobs) << c.iSqlType;
    EXPECT_EQ(pcol->iNumber, 5);
    EXPECT_EQ(pcol->iDb2Number, 5);
    EXPECT_EQ(pcol->usFlags, (c.iCCSID != 0 ? ZORCOL_SBCS : ZORCOL_FBD) | ZORCOL_VAR | ZORCOL_NULL) << c.iSqlType;
    EXPECT_EQ(text(pcol->pcharName), "AMOUNT");
    ASSERT_NE(pcol->pnodeExpr, nullptr);
    EXPECT_EQ(pcol->pnodeExpr->sKind, ZORNODE_VAR);
    zorcolDestroy(pcol);
  }

  /* naming modes: 1 the default name, other values none; not nullable */
  zorcol *pdefault = zorcolCreateFromColDescription(2, "X", 4, 10, 0, 4, 0, 850, 1, nullptr);
  zorcol *pnone = zorcolCreateFromColDescription(2, "X", 4, 10, 0, 4, 0, 850, 2, nullptr);
  EXPECT_EQ(text(pdefault->pcharName), "COL003");
  EXPECT_FALSE(pdefault->usFlags & ZORCOL_NULL);
  EXPECT_EQ(pnone->pcharName, nullptr);
  zorcolDestroy(pdefault);
  zorcolDestroy(pnone);
}

TEST(ZorcolSqlda, EntriesOfADescriptorArea)
{
  struct Var {
    int16_t sType, sLen;
    char *pcData;
    int16_t *psInd;
    int16_t sNameLen;
    char acName[30];
  };
  alignas(8) unsigned char acArea[16 + 3 * sizeof(Var)] = {};
  uint16_t usCCSID = 850;
  Var avar[3] = {};
  avar[0] = {3, 0x0702, reinterpret_cast<char *>(&usCCSID), nullptr, 5, "PRICE"};
  avar[1] = {91, 10, reinterpret_cast<char *>(&usCCSID), nullptr, 0, ""};
  avar[2] = {12, 8, reinterpret_cast<char *>(&usCCSID), nullptr, 4, "CODE"};
  std::memcpy(acArea + 16, avar, sizeof avar);

  zorcol *pdec = zorcolCreateFromSqlda(acArea, 0);
  zorcol *pdate = zorcolCreateFromSqlda(acArea, 1);
  zorcol *pchr = zorcolCreateFromSqlda(acArea, 2);
  ASSERT_TRUE(pdec && pdate && pchr);
  EXPECT_EQ(pdec->iType, 3);
  EXPECT_EQ(pdec->iSubType, 0x0702);
  EXPECT_EQ(pdec->iLength, 4);
  EXPECT_TRUE(pdec->usFlags & ZORCOL_NULL);   /* odd SQL type */
  EXPECT_EQ(text(pdec->pcharName), "PRICE");
  EXPECT_EQ(pdate->iType, 10);
  EXPECT_EQ(pdate->iLength, 4);
  EXPECT_EQ(pdate->sCCSID, 0);
  EXPECT_EQ(pdate->usFlags & ZORCOL_CLASS, 0);
  EXPECT_EQ(text(pdate->pcharName), "COL002");
  EXPECT_EQ(pchr->iType, 8);   /* VARCHAR, an even SQL type */
  EXPECT_EQ(pchr->iSubType, 8);
  EXPECT_EQ(pchr->sCCSID, 850);
  EXPECT_FALSE(pchr->usFlags & ZORCOL_NULL);
  EXPECT_EQ(pchr->iDb2Number, 3);
  zorcolDestroy(pdec);
  zorcolDestroy(pdate);
  zorcolDestroy(pchr);
}

TEST(ZorcolCopy, CreateCloneAndDestroyAreDeep)
{
  /* without a name, a column-reference expression names the column */
  zorcol *pcol = zorcolCreate(nullptr, 2, columnNode("QTY"), ZORCOL_VAR);
  ASSERT_NE(pcol, nullptr);
  EXPECT_EQ(text(pcol->pcharName), "QTY");
  pcol->pcharDefault = str850("1");
  zorcol *pcopy = zorcolClone(pcol);
  ASSERT_NE(pcopy, nullptr);
  EXPECT_NE(pcopy->pcharName, pcol->pcharName);
  EXPECT_NE(pcopy->pcharDefault, pcol->pcharDefault);
  EXPECT_NE(pcopy->pnodeExpr, pcol->pnodeExpr);
  EXPECT_EQ(text(pcopy->pcharDefault), "1");
  EXPECT_EQ(pcopy->iNumber, 2);
  zorcolDestroy(pcol);
  EXPECT_EQ(text(static_cast<const zorcol *>(pcopy->pnodeExpr->pLeft)->pcharName), "QTY");
  zorcolDestroy(pcopy);

  /* an expression that is not a column reference names nothing */
  zorcol *panon = zorcolCreate(nullptr, 1, zornodeCreateInteger(1, nullptr, nullptr), ZORCOL_CSTE);
  EXPECT_EQ(panon->pcharName, nullptr);
  zorcol *pnull = zorcolClone(panon);
  zorcolDestroy(panon);
  zorcolDestroy(pnull);
  EXPECT_EQ(zorcolClone(nullptr), nullptr);
  zorcolDestroy(nullptr);
}

TEST(ZorcolResolve, ReferencesMatchByPaddedNameOrByNumber)
{
  ochaine *pchaine = columnChain();
  zorcol *pc1 = zorcolCreate(str850("C1    "), 1, nullptr, ZORCOL_VAR | ZORCOL_NULL | ZORCOL_SBCS);
  pc1->iDb2Number = 0;
  pc1->iType = 7;
  pc1->iSubType = pc1->iLength = 6;
  pc1->sCCSID = 850;
  pc1->pcharDefault = str850("X");
  zorcol *pc2 = zorcolCreate(str850("C2"), 2, nullptr, ZORCOL_VAR);
  pc2->iDb2Number = 1;
  pc2->iType = 2;
  ochaineAppend(pchaine, pc1);
  ochaineAppend(pchaine, pc2);

  /* by name: the number is taken, flags are merged, the default copied */
  zorcol *pref = zorcolCreate(str850("C1"), 0, nullptr, ZORCOL_ORDER_ASC);
  ASSERT_EQ(zorcolCheckVariable(pref, pchaine), 0);
  EXPECT_EQ(pref->iNumber, 1);
  EXPECT_EQ(pref->iType, 7);
  EXPECT_EQ(pref->iSubType, 6);
  EXPECT_EQ(pref->iLength, 6);
  EXPECT_EQ(pref->sCCSID, 850);
  EXPECT_EQ(pref->usFlags, ZORCOL_ORDER_ASC | ZORCOL_VAR | ZORCOL_NULL | ZORCOL_SBCS);
  EXPECT_EQ(text(pref->pcharName), "C1");
  EXPECT_EQ(text(pref->pcharDefault), "X");
  zorcolDestroy(pref);

  /* a named reference never matches a named column by number alone */
  zorcol *pwrong = zorcolCreate(str850("C9"), 2, nullptr, 0);
  EXPECT_EQ(zorcolCheckVariable(pwrong, pchaine), ZORCOL_RC_NOCOLUMN);
  EXPECT_EQ(pwrong->iType, 0);
  EXPECT_EQ(pwrong->usFlags, 0);
  zorcolDestroy(pwrong);

  /* an unnamed reference matches by number and takes the name */
  zorcol *pnum = zorcolCreate(nullptr, 2, nullptr, 0);
  ASSERT_EQ(zorcolCheckVariable(pnum, pchaine), 0);
  EXPECT_EQ(text(pnum->pcharName), "C2");
  EXPECT_EQ(pnum->iDb2Number, 1);
  EXPECT_EQ(pnum->iType, 2);
  zorcolDestroy(pnum);

  zorcol *pnone = zorcolCreate(nullptr, 7, nullptr, 0);
  EXPECT_EQ(zorcolCheckVariable(pnone, pchaine), ZORCOL_RC_NOCOLUMN);
  zorcolDestroy(pnone);
  ochaineDestroy(pchaine);
}

TEST(ZorcolNaming, DefaultNames)
{
  struct {
    int iNumber;
    zornode *pexpr;
    const char *pcExpected;
  } cases[] = {
      {5, zornodeCreate(ZORNODE_OPRT, NODE_PLS_OP, columnNode("A"), columnNode("B"), 0, nullptr, nullptr), "COL005"},
      {7, nullptr, "COL007"},
      {1234, zornodeCreateInteger(3, nullptr, nullptr), "COL1234"},
      {2, columnNode("PRICE"), "PRICE"},
  };
  for (const auto &c : cases) {
    zorcol *pcol = static_cast<zorcol *>(std::calloc(1, sizeof(zorcol)));
    pcol->iNumber = c.iNumber;
    pcol->pnodeExpr = c.pexpr;
    ASSERT_EQ(zorcolBuildDefaultName(pcol), 0);
    EXPECT_EQ(text(pcol->pcharName), c.pcExpected);
    EXPECT_EQ(pcol->pcharName->usCCSID, 850);
    zorcolDestroy(pcol);
  }
  zorcol *pnamed = zorcolCreate(str850("KEEP"), 9, nullptr, 0);
  ASSERT_EQ(zorcolBuildDefaultName(pnamed), 0);
  EXPECT_EQ(text(pnamed->pcharName), "KEEP");
  zorcolDestroy(pnamed);
}

TEST(ZorcolView, MatchListPairsViewColumnsWithDefinitionColumns)
{
  ochaine *pview = columnChain();
  ochaine *pselect = columnChain();
  ochaineAppend(pview, zorcolCreate(str850("V1"), 1, nullptr, ZORCOL_VAR));
  ochaineAppend(pview, zorcolCreate(str850("V2"), 2, nullptr, ZORCOL_VAR));
  ochaineAppend(pselect, zorcolCreate(str850("A"), 1, columnNode("A"), 0));
  ochaineAppend(pselect, zorcolCreate(str850("B"), 2, columnNode("B"), 0));
  ochaineAppend(pselect, zorcolCreate(str850("C"), 3, columnNode("C"), 0));

  int rc = -1;
  olist *plist = zorcolBuildMatchList(pview, pselect, &rc);
  ASSERT_NE(plist, nullptr);
  EXPECT_EQ(rc, 0);
  EXPECT_TRUE(plist->ulFlags & OLIST_FLAG_REF);
  ASSERT_EQ(plist->iItemCount, 2);
  const char *apcPairs[][2] = {{"V1", "A"}, {"V2", "B"}};
  const zorcol *pcolSelect = static_cast<const zorcol *>(pselect->pitemTop);
  int i = 0;
  for (const olistRef *pref = static_cast<const olistRef *>(plist->pitemTop); pref != nullptr;
       pref = static_cast<const olistRef *>(pref->pitemNext), ++i, pcolSelect = pcolSelect->pcolNext) {
    const zoratom *patom = static_cast<const zoratom *>(pref->pData);
    EXPECT_EQ(patom->iKind, ZORATOM_MATCHCOL);
    EXPECT_EQ(patom->iFlags, 0);
    EXPECT_EQ(text(patom->value.pcol->pcharName), apcPairs[i][0]);
    EXPECT_EQ(text(patom->value2.pcol->pcharName), apcPairs[i][1]);
    EXPECT_NE(patom->value2.pcol, pcolSelect);   /* copies */
    ASSERT_NE(patom->value2.pcol->pnodeExpr, nullptr);
  }
  /* the list copies and frees its atoms */
  olist *pcopy = olistClone(plist);
  ASSERT_NE(pcopy, nullptr);
  EXPECT_EQ(pcopy->iItemCount, 2);
  olistDestroy(pcopy);
  olistDestroy(plist);

  /* without declared columns each definition column stands for itself */
  plist = zorcolBuildMatchList(nullptr, pselect);
  ASSERT_NE(plist, nullptr);
  ASSERT_EQ(plist->iItemCount, 3);
  const zoratom *plast = static_cast<const zoratom *>(static_cast<const olistRef *>(plist->pitemBottom)->pData);
  EXPECT_EQ(text(plast->value.pcol->pcharName), "C");
  EXPECT_EQ(text(plast->value2.pcol->pcharName), "C");
  EXPECT_NE(plast->value.pcol, plast->value2.pcol);
  olistDestroy(plist);

  /* a view that declares more columns than its SELECT: an error with its message, not an exit */
  ochaineAppend(pview, zorcolCreate(str850("V3"), 3, nullptr, ZORCOL_VAR));
  ochaineAppend(pview, zorcolCreate(str850("V4"), 4, nullptr, ZORCOL_VAR));
  int boWas = omsgsSetDefered(1);
  ostack *pstackOld = omsgsExportDefered();
  rc = 0;
  EXPECT_EQ(zorcolBuildMatchList(pview, pselect, &rc), nullptr);
  EXPECT_EQ(rc, ZORCOL_RC_VIEWCOLS);
  EXPECT_EQ(zorcolBuildMatchList(pview, pselect), nullptr);
  ostack *pstack = omsgsExportDefered();
  ASSERT_NE(pstack, nullptr);
  ASSERT_EQ(ostackGetCount(pstack), 2);
  EXPECT_EQ(std::string(reinterpret_cast<const char *>(ostackGetAt(pstack, 0))),
            "ZORU090E VIEW DECLARES 4 COLUMNS BUT ITS SELECT HAS 3\n");
  omsgsRestaureDefered(pstack);
  omsgsRestaureDefered(pstackOld);
  omsgsSetDefered(boWas);
  ochaineDestroy(pview);
  ochaineDestroy(pselect);
}

TEST(ZorcolPrint, DumpPrintsEachExpressionOnce)
{
  /* OUTER's expression refers to INNER, whose own expression must not be printed */
  zorcol *pinner = zorcolCreate(str850("INNER"), 4, zornodeCreateInteger(77, nullptr, nullptr), ZORCOL_CSTE);
  zornode *pref = zornodeCreate(ZORNODE_VAR, NODE_CTUNK, pinner, nullptr, 0, nullptr, nullptr);
  zorcol *pouter = zorcolCreate(str850("OUTER"), 3, pref, ZORCOL_VAR | ZORCOL_NULL | ZORCOL_SBCS);
  pouter->iDb2Number = 8;
  pouter->iType = 0x0b007;
  pouter->iSubType = 0x0702;
  pouter->sCCSID = 850;
  std::string s = printed(pouter);
  EXPECT_NE(s.find("\n     ZORCOL:Numero 3\n"), std::string::npos);
  EXPECT_NE(s.find("    Flags 1410=NULL VAR SBCS \n"), std::string::npos);
  EXPECT_NE(s.find("    Numero DB2 8\n    Type b007\n    SubType 0x702\n    Length 0\n    Ccsid 850\n"),
            std::string::npos);
  EXPECT_NE(s.find("Pas de valeur par defaut\n"), std::string::npos);
  EXPECT_EQ(count(s, "-------------->\n"), 1u);
  EXPECT_EQ(count(s, "<--------------\n"), 1u);
  EXPECT_NE(s.find("     ZORCOL:Numero 4\n"), std::string::npos);   /* the inner descriptor's fields */
  EXPECT_EQ(s.find("Integer:77"), std::string::npos);             /* but not its expression */

  /* the flag is reset: the inner column printed alone shows its expression */
  EXPECT_NE(printed(pinner).find("   Integer:77\n"), std::string::npos);
  EXPECT_EQ(zorcolPrint(pouter, nullptr), 0);

  pouter->pcharDefault = str850("D");
  EXPECT_NE(printed(pouter).find("\n     Valeur par defaut :\n"), std::string::npos);
  zorcolDestroy(pouter);
}
