/*
** odb2x2_test.cpp
**   The stored catalogue reader over a "$FAKE" file written in a temporary
**   directory: a view looked up by creator and name becomes SYSVTREE,
**   SYSVLTREE, SYSVIEWS and SYSVIEWDEP records; a table row with columns;
**   iteration over the entries of a key; the look-ups that find nothing;
**   the release of the file; damaged files and rows.
*/
#include "catalog/odb2x2.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>

#include "model/osysibm.h"
#include "common/ochar.h"
#include "tests/catalog/fakecattest.h"
#include "tests/zavtest.h"

namespace {

const char kSsid[] = "DB2A";
/* Creator padded to 8, name padded to 18. */
const std::string kViewKey = std::string("ZAVUSER ") + "VEMPLOYEES        ";
const std::string kListKey = std::string("ZAVUSER ") + "VLIST             ";
const std::string kTableKey = std::string("ZAVUSER ") + "EMPLOYEE          ";
const odb2x2ObidList kViewList[] = {{30, nullptr}, {38, nullptr}, {39, nullptr}, {0, nullptr}};
const int16_t kVtreeIndex = 76;   /* DSNVTH01 over SYSVTREE */
const int16_t kTableIndex = 61;   /* DSNDTX01 over SYSTABLES */

std::string Text(const ochar *p)
{
  return p != nullptr ? std::string(_charText(p), static_cast<size_t>(p->ilBU)) : std::string("<null>");
}

template <typename T>
T *Item(ochaine *pchaine, int n)
{
  void *p = pchaine != nullptr ? pchaine->pitemTop : nullptr;
  for (; p != nullptr && n > 0; n--) p = static_cast<ochaineItem *>(p)->pitemNext;
  return static_cast<T *>(p);
}

int32_t RowType(int16_t sObid, int iMajor)
{
  return OFAKECAT_TYPE(sObid, iMajor);
}

class Db2x2Test : public ::testing::Test {
 protected:
  void SetUp() override
  {
    ASSERT_NE(getcwd(acCwd, sizeof acCwd), nullptr);
    ASSERT_EQ(chdir(dir.path.c_str()), 0);
    ASSERT_EQ(ofakecatInitModule(), 0);
  }
  void TearDown() override { ASSERT_EQ(chdir(acCwd), 0); }

  /* A view row of release iMajor with two VTREE pieces, two text pieces and one dependency. */
  void *ViewRow(int iMajor, const char *pcName)
  {
    bool bo7 = iMajor >= 7;
    const oresTData *pviews = bo7 ? oresTDatasysviewsV7 : oresTDatasysviewsV6;
    const oresTData *pdep = bo7 ? oresTDatasysviewdepV7 : oresTDatasysviewdepV6;
    ochaine *pvltree =
        fakecatChain(31, {fakecatImage(oresTDatasysvltreeV7, 31, {{"IBMREQD", "N"}, {"VTREE", "piece-1"}}),
                          fakecatImage(oresTDatasysvltreeV7, 31, {{"IBMREQD", "N"}, {"VTREE", "piece-2"}})});
    ochaine *pviewsChain = fakecatChain(
        38, {fakecatImage(pviews, 38,
                          {{"NAME", pcName}, {"CREATOR", "ZAVUSER"}, {"SEQNO", 1}, {"CHECK", "N"},
                           {"TEXT", "CREATE VIEW ZAVUSER.VEMPLOYEES AS "}, {"TYPE", "V"}}),
             fakecatImage(pviews, 38,
                          {{"NAME", pcName}, {"CREATOR", "ZAVUSER"}, {"SEQNO", 2},
                           {"TEXT", "SELECT EMPNO, LASTNAME FROM ZAVUSER.EMPLOYEE"}, {"TYPE", "V"}})});
    ochaine *pdepChain = fakecatChain(
        39, {fakecatImage(pdep, 39,
                          {{"BNAME", "EMPLOYEE"}, {"BCREATOR", "ZAVUSER"}, {"BTYPE", "T"}, {"DNAME", pcName},
                           {"DCREATOR", "ZAVUSER"}, {"DTYPE", "V"}})});
    return fakecatImage(bo7 ? oresTDatasysvtreeV7 : oresTDatasysvtreeV6, 30,
                        {{"NAME", pcName}, {"CREATOR", "ZAVUSER"}, {"TOTLEN", 77}, {"IBMREQD", "N"},
                         {"VTREE", "tree-root"}, {"TYPE", "V"}},
                        {pvltree, pviewsChain, pdepChain});
  }

  /* Writes $FAKE: subsystem DB2A of the given Version (none when 0), the view, a key with two rows, a table. */
  void WriteFake(int16_t sVersion)
  {
    int iMajor = sVersion / 100;
    int iRowMajor = iMajor >= 7 ? 7 : 6;   /* a later release has no row types: release-7 rows stand there */
    orscs *prscs = orscsCreate("$FAKE", 2, 0);
    ASSERT_NE(prscs, nullptr);
    oresdict *pssid = oresCreateDict(prscs->pdictMain, kSsid, 0);
    if (sVersion != 0) {
      ores *pres = oresCreate(ORES_TYPE_I16, 0, 0);
      ASSERT_EQ(oresPutShort(pres, sVersion), 0);
      ASSERT_EQ(oresStoreNamed(pssid, "Version", pres), 0);
      oresDestroy(pres);
    }
    int32_t iVtree = RowType(30, iRowMajor);
    oresdict *pindex = oresCreateDict(pssid, "DSNVTH01", 0);
    oresdict *pkey = oresCreateDict(pindex, kViewKey.c_str(), 0);
    void *pview = ViewRow(iRowMajor, "VEMPLOYEES");
    int rc = fakecatStore(pkey, "1", iVtree, pview);
    odb2x2ImageDestroy(pview);
    oresdict *plist = oresCreateDict(pindex, kListKey.c_str(), 0);
    for (const char *pc : {"VA", "VB"}) {
      void *p = fakecatImage(iRowMajor >= 7 ? oresTDatasysvtreeV7 : oresTDatasysvtreeV6, 30, {{"NAME", pc}});
      if (rc == 0) rc = fakecatStore(plist, pc, iVtree, p);
      odb2x2ImageDestroy(p);
    }

    oresdict *ptindex = oresCreateDict(pssid, "DSNDTX01", 0);
    oresdict *ptkey = oresCreateDict(ptindex, kTableKey.c_str(), 0);
    const oresTData *pcols = iRowMajor >= 7 ? oresTDatasyscolumnsV7 : oresTDatasyscolumnsV6;
    ochaine *pcolumns = fakecatChain(
        20, {fakecatImage(pcols, 20, {{"NAME", "EMPNO"}, {"COLTYPE", "CHAR"}, {"LENGTH", 6}, {"COLNO", 0}}),
             fakecatImage(pcols, 20,
                          {{"NAME", "SALARY"}, {"COLTYPE", "DECIMAL"}, {"LENGTH", 9}, {"SCALE", 2}, {"COLNO", 1},
                           {"NULLS", "Y"}, {"DEFAULTVALUE", "0"}})});
    void *ptable = fakecatImage(iRowMajor >= 7 ? oresTDatasystablesV7 : oresTDatasystablesV6, 19,
                                {{"NAME", "EMPLOYEE"}, {"CREATOR", "ZAVUSER"}, {"TYPE", "T"}, {"TSNAME", "USERSPAC"},
                                 {"OBID", 4}, {"COLCOUNT", 2}, {"CARD", -5}, {"NPAGESF", 2.5}},
                                {pcolumns});
    if (rc == 0) rc = fakecatStore(ptkey, "1", RowType(19, iRowMajor), ptable);
    odb2x2ImageDestroy(ptable);
    for (oresdict *p : {ptkey, ptindex, plist, pkey, pindex, pssid}) oresdictDestroy(p);
    orscsDestroy(prscs);
    ASSERT_EQ(rc, 0);
  }

  zavtestTempDir dir;
  char acCwd[4096];
};

TEST_F(Db2x2Test, ViewLookedUpByCreatorAndNameBecomesRecords)
{
  WriteFake(710);
  odb2x2 *phandle = odb2x2Create(kSsid, "ZORIX02 ", "ZORTS02 ");
  ASSERT_NE(phandle, nullptr);
  EXPECT_EQ(phandle->sVersion, 710);
  EXPECT_EQ(phandle->sMajor, 7);
  odb2x2Iterator iter;
  ASSERT_EQ(odb2x2IteratorInit(&iter, phandle, kVtreeIndex, kViewKey.data(), 26, kViewList), 0);
  ochaine *pchaine = odb2x2IteratorGetFullConvert(&iter, nullptr);
  ASSERT_NE(pchaine, nullptr);
  ASSERT_EQ(pchaine->iItemCount, 1);
  EXPECT_EQ(pchaine->pData, 30u);

  osysibmSysvtree *pvtree = Item<osysibmSysvtree>(pchaine, 0);
  EXPECT_EQ(pvtree->hdr.sTableId, 30);
  EXPECT_EQ(pvtree->hdr.powner, nullptr);
  EXPECT_EQ(Text(pvtree->pcharNAME), "VEMPLOYEES");
  EXPECT_EQ(Text(pvtree->pcharCREATOR), "ZAVUSER ");
  EXPECT_EQ(pvtree->pcharCREATOR->usCCSID, 850);
  EXPECT_EQ(Text(pvtree->pcharVTREE), "tree-root");
  EXPECT_EQ(pvtree->iTOTLEN, 77);
  EXPECT_EQ(pvtree->cIBMREQD, 'N');
  EXPECT_EQ(pvtree->cTYPE, 'V');

  ochaine *pvltree = pvtree->apchaine[0];
  ASSERT_NE(pvltree, nullptr);
  ASSERT_EQ(pvltree->iItemCount, 2);
  EXPECT_EQ(Text(Item<osysibmSysvltree>(pvltree, 0)->pcharVTREE), "piece-1");
  EXPECT_EQ(Text(Item<osysibmSysvltree>(pvltree, 1)->pcharVTREE), "piece-2");

  ochaine *pviews = pvtree->apchaine[1];
  ASSERT_NE(pviews, nullptr);
  ASSERT_EQ(pviews->iItemCount, 2);
  std::string strText;
  for (int i = 0; i < 2; i++) {
    osysibmSysviews *pview = Item<osysibmSysviews>(pviews, i);
    EXPECT_EQ(pview->hdr.sTableId, 38);
    EXPECT_EQ(pview->hdr.powner, &pvtree->hdr);
    EXPECT_EQ(pview->sSEQNO, i + 1);
    EXPECT_EQ(pview->cTYPE, 'V');
    EXPECT_EQ(Text(pview->pcharPATH), "");
    strText += Text(pview->pcharTEXT);
  }
  EXPECT_EQ(strText, "CREATE VIEW ZAVUSER.VEMPLOYEES AS SELECT EMPNO, LASTNAME FROM ZAVUSER.EMPLOYEE");

  ochaine *pdeps = pvtree->apchaine[2];
  ASSERT_NE(pdeps, nullptr);
  ASSERT_EQ(pdeps->iItemCount, 1);
  osysibmSysviewdep *pdep = Item<osysibmSysviewdep>(pdeps, 0);
  EXPECT_EQ(Text(pdep->pcharBNAME), "EMPLOYEE");
  EXPECT_EQ(Text(pdep->pcharBCREATOR), "ZAVUSER ");
  EXPECT_EQ(pdep->cBTYPE, 'T');
  EXPECT_EQ(pdep->cDTYPE, 'V');
  EXPECT_EQ(Text(pdep->pcharBSCHEMA), "        ");
  ochaineDestroy(pchaine);

  /* Into a caller's chain: the record is appended to what it holds. */
  ochaine *pmine = ochaineCreate(sizeof(osysibmSysvtree), nullptr, osysibmChaineDestroyProc);
  EXPECT_EQ(odb2x2IteratorGetFullConvert(&iter, pmine), pmine);
  EXPECT_EQ(odb2x2IteratorGetFullConvert(&iter, pmine), pmine);
  EXPECT_EQ(pmine->iItemCount, 2);
  EXPECT_EQ(Text(Item<osysibmSysvtree>(pmine, 1)->pcharNAME), "VEMPLOYEES");
  ochaineDestroy(pmine);
  EXPECT_EQ(odb2x2IteratorDestroy(&iter), 0);
  odb2x2Destroy(phandle);
}

TEST_F(Db2x2Test, TableRowBecomesTableAndColumnRecords)
{
  WriteFake(710);
  odb2x2 *phandle = odb2x2Create(kSsid, "ZORIX02 ", "ZORTS02 ");
  odb2x2Iterator iter;
  ASSERT_EQ(odb2x2IteratorInit(&iter, phandle, kTableIndex, kTableKey.data(), 26, nullptr), 0);
  ochaine *pchaine = odb2x2IteratorGetFullConvert(&iter, nullptr);
  ASSERT_NE(pchaine, nullptr);
  osysibmSystables *ptable = Item<osysibmSystables>(pchaine, 0);
  EXPECT_EQ(ptable->hdr.sTableId, 19);
  EXPECT_EQ(Text(ptable->pcharNAME), "EMPLOYEE");
  EXPECT_EQ(Text(ptable->pcharTSNAME), "USERSPAC");
  EXPECT_EQ(ptable->sOBID, 4);
  EXPECT_EQ(ptable->llCARD, -5);
  EXPECT_EQ(ptable->dNPAGESF, 2.5);
  EXPECT_EQ(ptable->cTYPE, 'T');
  ochaine *pcolumns = ptable->apchaine[0];
  ASSERT_NE(pcolumns, nullptr);
  ASSERT_EQ(pcolumns->iItemCount, 2);
  osysibmSyscolumns *psalary = Item<osysibmSyscolumns>(pcolumns, 1);
  EXPECT_EQ(psalary->hdr.powner, &ptable->hdr);
  EXPECT_EQ(Text(psalary->pcharNAME), "SALARY");
  EXPECT_EQ(psalary->iTypeId, OSYSIBM_TYPE_DECIMAL);
  EXPECT_EQ(psalary->sLENGTH, 9);
  EXPECT_EQ(psalary->sSCALE, 2);
  EXPECT_EQ(psalary->cNULLS, 'Y');
  EXPECT_EQ(Text(psalary->pcharDEFAULTVALUE), "0");
  EXPECT_EQ(Item<osysibmSyscolumns>(pcolumns, 0)->iTypeId, OSYSIBM_TYPE_CHAR);
  ochaineDestroy(pchaine);
  odb2x2IteratorDestroy(&iter);
  odb2x2Destroy(phandle);
}

TEST_F(Db2x2Test, IteratorWalksTheEntriesOfAKey)
{
  WriteFake(710);
  odb2x2 *phandle = odb2x2Create(kSsid, "ZORIX02 ", "ZORTS02 ");
  odb2x2Iterator iter;
  ASSERT_EQ(odb2x2IteratorInit(&iter, phandle, kVtreeIndex, kViewKey.data(), 26, kViewList), 0);
  void *pview = odb2x2IteratorGetFull(&iter);
  ASSERT_NE(pview, nullptr);
  EXPECT_EQ(odb2x2ImageObid(pview), 30);
  ochaine *pviews;
  std::memcpy(&pviews, static_cast<char *>(pview) + sizeof(void *), sizeof pviews);
  ASSERT_NE(pviews, nullptr);
  EXPECT_EQ(pviews->iItemCount, 2);

  /* Printing shows the row and its child rows. */
  ochaine *pholder = odb2x2ChaineCreate(30);
  std::string strPrint = zavtestCapture([&](FILE *pf) { odb2x2PrintItem(pholder, pview, pf); });
  EXPECT_NE(strPrint.find("\nObid = 1e\nLen  = "), std::string::npos) << strPrint;
  EXPECT_NE(strPrint.find("\nObid = 26\n"), std::string::npos) << strPrint;
  EXPECT_NE(strPrint.find("\nObid = 1f\n"), std::string::npos) << strPrint;
  ochaineDestroy(pholder);
  odb2x2ImageDestroy(pview);
  EXPECT_EQ(odb2x2IteratorNext(&iter), 4);

  ASSERT_EQ(odb2x2IteratorSetKey(&iter, kListKey.data(), 26), 0);
  std::string strNames;
  int iRows = 0;
  do {
    int32_t iLength = 0;
    const char *pcName = odb2x2IteratorGetKey(&iter, &iLength);
    ASSERT_NE(pcName, nullptr);
    EXPECT_EQ(iLength, 2);
    void *p = odb2x2IteratorGet(&iter);
    ASSERT_NE(p, nullptr);
    /* NAME follows the three slots: the entry's name. */
    EXPECT_EQ(std::string(static_cast<char *>(p) + 3 * sizeof(void *) + 2, 2), pcName);
    odb2x2ImageDestroy(p);
    iRows++;
  } while (odb2x2IteratorNext(&iter) == 0);
  EXPECT_EQ(iRows, 2);
  EXPECT_EQ(odb2x2IteratorGet(&iter), nullptr);
  odb2x2IteratorDestroy(&iter);
  odb2x2Destroy(phandle);
}

TEST_F(Db2x2Test, LookUpsThatFindNothingGive8)
{
  {
    /* Without a file an empty one is made; it holds no subsystem. */
    odb2x2 *phandle = odb2x2Create(kSsid, "ZORIX02 ", "ZORTS02 ");
    ASSERT_NE(phandle, nullptr);
    EXPECT_EQ(phandle->pdictSsid, nullptr);
    odb2x2Iterator iter;
    EXPECT_EQ(odb2x2IteratorInit(&iter, phandle, kVtreeIndex, kViewKey.data(), 26, kViewList), 8);
    EXPECT_EQ(odb2x2IteratorGetFullConvert(&iter, nullptr), nullptr);
    EXPECT_EQ(odb2x2IteratorNext(&iter), 4);
    odb2x2IteratorDestroy(&iter);
    odb2x2Destroy(phandle);
    EXPECT_EQ(access("$FAKE", F_OK), 0);
  }
  WriteFake(710);
  const std::string strLong(256, 'K');
  struct Case {
    const char *pcWhat;
    const char *pcSsid;
    int16_t sIndex;
    std::string strKey;
  } acase[] = {
      {"unknown subsystem", "DB2B", kVtreeIndex, kViewKey},
      {"default subsystem", nullptr, kVtreeIndex, kViewKey},
      {"index not in the file", kSsid, 63, kViewKey},
      {"obid of a table, not an index", kSsid, 30, kViewKey},
      {"obid outside the object table", kSsid, 999, kViewKey},
      {"key not in the index", kSsid, kVtreeIndex, std::string("ZAVUSER ") + "VNONE             "},
      {"key without its blanks", kSsid, kVtreeIndex, "ZAVUSERVEMPLOYEES"},
      {"key of 256 bytes", kSsid, kVtreeIndex, strLong},
      {"empty key", kSsid, kVtreeIndex, ""},
  };
  for (const Case &c : acase) {
    odb2x2 *phandle = odb2x2Create(c.pcSsid, "ZORIX02 ", "ZORTS02 ");
    odb2x2Iterator iter;
    EXPECT_EQ(odb2x2IteratorInit(&iter, phandle, c.sIndex, c.strKey.data(), static_cast<int32_t>(c.strKey.size()),
                                 kViewList),
              8)
        << c.pcWhat;
    EXPECT_EQ(odb2x2IteratorGet(&iter), nullptr) << c.pcWhat;
    EXPECT_EQ(odb2x2IteratorSetKey(&iter, c.strKey.data(), static_cast<int32_t>(c.strKey.size())), 8) << c.pcWhat;
    odb2x2IteratorDestroy(&iter);
    odb2x2Destroy(phandle);
  }

  /* The default subsystem id can be set. */
  odb2x2SetDefaultSsid(kSsid);
  odb2x2 *pdefault = odb2x2Create(nullptr, "ZORIX02 ", "ZORTS02 ");
  odb2x2SetDefaultSsid(nullptr);
  odb2x2Iterator iterDefault;
  EXPECT_EQ(odb2x2IteratorInit(&iterDefault, pdefault, kVtreeIndex, kViewKey.data(), 26, kViewList), 0);
  odb2x2IteratorDestroy(&iterDefault);
  odb2x2Destroy(pdefault);

  /* A subsystem without Version is dropped. */
  ASSERT_EQ(unlink("$FAKE"), 0);
  WriteFake(0);
  odb2x2 *phandle = odb2x2Create(kSsid, "ZORIX02 ", "ZORTS02 ");
  EXPECT_EQ(phandle->pdictSsid, nullptr);
  odb2x2Iterator iter;
  EXPECT_EQ(odb2x2IteratorInit(&iter, phandle, kVtreeIndex, kViewKey.data(), 26, kViewList), 8);
  odb2x2IteratorDestroy(&iter);
  odb2x2Destroy(phandle);
}

TEST_F(Db2x2Test, ReleaseOfTheFileChoosesTheRowTypes)
{
  /* Release 6: the rows have no release-7 columns; those fields stay zero. */
  WriteFake(610);
  odb2x2 *phandle = odb2x2Create(kSsid, "ZORIX02 ", "ZORTS02 ");
  EXPECT_EQ(phandle->sMajor, 6);
  odb2x2Iterator iter;
  ASSERT_EQ(odb2x2IteratorInit(&iter, phandle, kVtreeIndex, kViewKey.data(), 26, kViewList), 0);
  ochaine *pchaine = odb2x2IteratorGetFullConvert(&iter, nullptr);
  ASSERT_NE(pchaine, nullptr);
  osysibmSysvtree *pvtree = Item<osysibmSysvtree>(pchaine, 0);
  EXPECT_EQ(Text(pvtree->pcharVTREE), "tree-root");
  EXPECT_EQ(pvtree->cTYPE, 0);
  osysibmSysviews *pview = Item<osysibmSysviews>(pvtree->apchaine[1], 1);
  ASSERT_NE(pview, nullptr);
  EXPECT_EQ(Text(pview->pcharTEXT), "SELECT EMPNO, LASTNAME FROM ZAVUSER.EMPLOYEE");
  EXPECT_EQ(pview->cTYPE, 0);
  ochaineDestroy(pchaine);
  odb2x2IteratorDestroy(&iter);
  odb2x2Destroy(phandle);

  /* Release 8 has no row types: its rows are asked for as type ...5 and nothing is read. */
  ASSERT_EQ(unlink("$FAKE"), 0);
  WriteFake(810);
  phandle = odb2x2Create(kSsid, "ZORIX02 ", "ZORTS02 ");
  EXPECT_EQ(phandle->sMajor, 8);
  ASSERT_EQ(odb2x2IteratorInit(&iter, phandle, kVtreeIndex, kViewKey.data(), 26, kViewList), 0);
  EXPECT_EQ(odb2x2IteratorGet(&iter), nullptr);
  EXPECT_EQ(odb2x2IteratorGetFullConvert(&iter, nullptr), nullptr);
  odb2x2IteratorDestroy(&iter);
  odb2x2Destroy(phandle);
}

TEST_F(Db2x2Test, DamagedFilesAreRefusedSafely)
{
  /* A file that is not a resource file is reported and left as it is. */
  const std::string strJunk = "SYSVTREE VEMPLOYEES: not a resource file\n";
  {
    std::ofstream(dir.file("$FAKE")) << strJunk;
  }
  odb2x2 *phandle = nullptr;
  auto vMessages = zavtestMessages([&] { phandle = odb2x2Create(kSsid, "ZORIX02 ", "ZORTS02 "); });
  ASSERT_NE(phandle, nullptr);
  EXPECT_EQ(phandle->prscs, nullptr);
  ASSERT_EQ(vMessages.size(), 1u);
  EXPECT_EQ(vMessages[0].rfind("DBX0001E", 0), 0u) << vMessages[0];
  odb2x2Iterator iter;
  EXPECT_EQ(odb2x2IteratorInit(&iter, phandle, kVtreeIndex, kViewKey.data(), 26, kViewList), 8);
  odb2x2IteratorDestroy(&iter);
  odb2x2Destroy(phandle);
  auto vFile = zavtestReadFile(dir.file("$FAKE"));
  EXPECT_EQ(std::string(vFile.begin(), vFile.end()), strJunk);

  /* A stored view row whose Size is too small for its columns is not read. */
  ASSERT_EQ(unlink("$FAKE"), 0);
  WriteFake(710);
  auto vBytes = zavtestReadFile(dir.file("$FAKE"));
  /* The row begins Flags, Size, Obid 0x001e, MapId, then the SYSVLTREE count 2. */
  const unsigned char aucMark[] = {0x00, 0x1e, 0x00, 0x00, 0x00, 0x00, 0x02};
  auto it = std::search(vBytes.begin(), vBytes.end(), std::begin(aucMark), std::end(aucMark));
  ASSERT_NE(it, vBytes.end());
  size_t ulAt = static_cast<size_t>(it - vBytes.begin());
  ASSERT_GE(ulAt, 3u);
  vBytes[ulAt - 2] = 0x00;
  vBytes[ulAt - 1] = 0x20;
  {
    std::ofstream out(dir.file("$FAKE"), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(vBytes.data()), static_cast<std::streamsize>(vBytes.size()));
  }
  phandle = odb2x2Create(kSsid, "ZORIX02 ", "ZORTS02 ");
  ASSERT_EQ(odb2x2IteratorInit(&iter, phandle, kVtreeIndex, kViewKey.data(), 26, kViewList), 0);
  EXPECT_EQ(odb2x2IteratorGet(&iter), nullptr);
  EXPECT_EQ(odb2x2IteratorGetFullConvert(&iter, nullptr), nullptr);
  odb2x2IteratorDestroy(&iter);
  odb2x2Destroy(phandle);
}

TEST_F(Db2x2Test, VirtualColumnCounts)
{
  const struct {
    const char *pcName;
    int iCount;
  } acase[] = {{"SYSTABLES", 7}, {"SYSDUMMY1", 0}, {"SYSVTREE", 3}, {"SYSJARCLASS_SOURCE", 0},
               {"USERNAMES", 0}, {"SYSTABLE", -1}, {"", -1}, {"SYSJARCLASS_SOURCEX", -1}};
  for (const auto &c : acase) EXPECT_EQ(odb2x2GetVirtualColumnsNb(c.pcName), c.iCount) << c.pcName;
}

TEST_F(Db2x2Test, HexadecimalDump)
{
  unsigned char auc[36];
  for (int i = 0; i < 36; i++) auc[i] = static_cast<unsigned char>('A' + i);
  auc[1] = 0x07;
  std::string str = zavtestCapture([&](FILE *pf) { toolsDump(pf, auc, 36); });
  size_t ul = str.find('\n');
  ASSERT_NE(ul, std::string::npos);
  std::string strFirst = str.substr(str.find(": ") + 2, ul - str.find(": ") - 2);
  EXPECT_EQ(strFirst,
            "41074344 45464748  494a4b4c 4d4e4f50  51525354 55565758  595a5b5c 5d5e5f60    "
            "A.CDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`");
  std::string strSecond = str.substr(ul + 1);
  std::string strTail = strSecond.substr(strSecond.find(": ") + 2);
  /* 28 empty byte places (56), 12 group blanks, then the two before the characters. */
  EXPECT_EQ(strTail, "61626364" + std::string(70, ' ') + "abcd\n");
}

}  // namespace
