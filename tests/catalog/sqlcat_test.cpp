// The catalogue queries against the DB2 stand-in: which table spaces,
// tables and columns are read and what their records hold, the default
// value rules, the table space of a table, and every failure code with its
// messages (failures injected into the stand-in's CLI calls).
#include "catalog/sqlcat.h"

#include "tests/catalog/catalogcli.h"
#include "tests/zavtest.h"

#include <cstring>

namespace {

class Sqlcat : public CatalogCli {
 protected:
  /* A table-space chain as the entry point makes it. */
  static ochaine *NewChaine(int iItemSize)
  {
    return ochaineCreate(iItemSize, nullptr, osysibmChaineDestroyProc);
  }

  /* The record of the named table space, read alone. */
  osysibmSystablespace *ReadTablespace(ochaine *pchaine, const char *pcName)
  {
    EXPECT_EQ(0, sqlcatGetTablespace(pchaine, pcName, ghdbc));
    return static_cast<osysibmSystablespace *>(pchaine->pitemBottom);
  }

  /* The named table of USERSPACE1 with its columns read. */
  osysibmSystables *ReadTable(ochaine *pchaineTs, const char *pcName)
  {
    osysibmSystablespace *ptbs = ReadTablespace(pchaineTs, "USERSPACE1");
    ptbs->apchaine[1] = NewChaine(sizeof(osysibmSystables));
    EXPECT_EQ(0, sqlcatGetTables(ptbs, ghdbc));
    for (auto *p = static_cast<osysibmSystables *>(ptbs->apchaine[1]->pitemTop); p != nullptr;
         p = reinterpret_cast<osysibmSystables *>(p->hdr.pnext)) {
      if (catalogcliText(p->pcharNAME) != pcName) continue;
      p->apchaine[0] = NewChaine(sizeof(osysibmSyscolumns));
      EXPECT_EQ(0, sqlcatGetColumns(p, ghdbc));
      return p;
    }
    ADD_FAILURE() << "no table " << pcName;
    return nullptr;
  }

  /* The NAME of every record of a chain, in order. */
  template <typename Record>
  static std::vector<std::string> Names(ochaine *pchaine)
  {
    std::vector<std::string> v;
    for (auto *p = static_cast<Record *>(pchaine->pitemTop); p != nullptr; p = reinterpret_cast<Record *>(p->hdr.pnext))
      v.push_back(catalogcliText(p->pcharNAME));
    return v;
  }
};

TEST_F(Sqlcat, TablespacesListsDataSpacesButNotTheCatalogOrTemporaryOnes)
{
  Connect();
  ochaine *pchaine = NewChaine(sizeof(osysibmSystablespace));
  EXPECT_EQ(0, sqlcatGetTablespaces(pchaine, ghdbc));
  EXPECT_EQ((std::vector<std::string>{"USERSPACE1", "LONGSPACE", "TS_EIGHTEEN_BYTES1"}),
            Names<osysibmSystablespace>(pchaine));

  auto *p = static_cast<osysibmSystablespace *>(pchaine->pitemTop);
  EXPECT_EQ(nullptr, p->hdr.powner);
  EXPECT_EQ(0, p->hdr.sTableId);
  EXPECT_EQ(0, p->hdr.usChaineCount);
  EXPECT_EQ(2, p->sOBID);
  EXPECT_EQ('D', p->cTBSPACETYPE);
  EXPECT_EQ('A', p->cDATATYPE);
  EXPECT_EQ(16, p->iEXTENTSIZE);
  EXPECT_EQ(32, p->iPREFETCHSIZE);
  EXPECT_DOUBLE_EQ(24.1, p->dOVERHEAD);
  EXPECT_DOUBLE_EQ(0.9, p->dTRANSFERRATE);
  EXPECT_EQ(1, p->iBUFFERPOOLID);
  EXPECT_EQ(8192, p->iPAGESIZE);
  EXPECT_EQ('N', p->cDROP_RECOVERY);
  EXPECT_EQ("SYSIBM", catalogcliText(p->pcharCREATOR));
  EXPECT_EQ("2004-01-01-00.00.00.000000", catalogcliText(p->pcharCREATEDTS));
  EXPECT_EQ("DEFAULTGROUP", catalogcliText(p->pcharNGNAME));
  EXPECT_EQ(nullptr, p->pcharREMARKS);  // null in the catalogue
  EXPECT_EQ(819, p->pcharNAME->usCCSID);
  EXPECT_EQ(nullptr, p->pcharDBNAME);  // the entry point sets it
  EXPECT_EQ('L', reinterpret_cast<osysibmSystablespace *>(p->hdr.pnext)->cDATATYPE);
  catalogcliFreeTablespaces(pchaine);
}

TEST_F(Sqlcat, TablespaceByNameFindsAnyTypeAndReportsAnUnknownOne)
{
  Connect();
  ochaine *pchaine = NewChaine(sizeof(osysibmSystablespace));
  EXPECT_EQ("SYSCATSPACE", catalogcliText(ReadTablespace(pchaine, "SYSCATSPACE")->pcharNAME));
  EXPECT_EQ('T', ReadTablespace(pchaine, "TEMPSPACE1")->cDATATYPE);
  // the longest name fills the parameter buffer
  EXPECT_EQ(4, ReadTablespace(pchaine, "TS_EIGHTEEN_BYTES1")->sOBID);
  EXPECT_EQ(3, pchaine->iItemCount);

  int rc = 0;
  auto msgs = zavtestMessages([&] { rc = sqlcatGetTablespace(pchaine, "NOPE", ghdbc); });
  EXPECT_EQ(SQLCAT_RC_NOROW, rc);
  EXPECT_EQ((std::vector<std::string>{"ZORU019E TABLESPACE NOT FOUND IN THE CATALOG SAMPLE.NOPE\n"}), msgs);
  EXPECT_EQ(3, pchaine->iItemCount);
  catalogcliFreeTablespaces(pchaine);
}

TEST_F(Sqlcat, TablesAreTheTableSpacesTablesOfTypeT)
{
  Connect();
  ochaine *pchaine = NewChaine(sizeof(osysibmSystablespace));
  osysibmSystablespace *ptbs = ReadTablespace(pchaine, "USERSPACE1");
  ptbs->apchaine[1] = NewChaine(sizeof(osysibmSystables));
  EXPECT_EQ(0, sqlcatGetTables(ptbs, ghdbc));
  // the view V1 and the alias A1 share the table space id; NOTS and TWICE do not
  EXPECT_EQ((std::vector<std::string>{"T1", "T2"}), Names<osysibmSystables>(ptbs->apchaine[1]));

  auto *p = static_cast<osysibmSystables *>(ptbs->apchaine[1]->pitemTop);
  EXPECT_EQ(&ptbs->hdr, p->hdr.powner);
  EXPECT_EQ(0, p->hdr.sTableId);
  EXPECT_EQ(nullptr, p->apchaine[0]);
  EXPECT_EQ("TEST", catalogcliText(p->pcharCREATOR));
  EXPECT_EQ('T', p->cTYPE);
  EXPECT_EQ(18, p->sCOLCOUNT);
  EXPECT_EQ(4, p->sOBID);
  EXPECT_EQ(2, p->sTID);
  EXPECT_EQ(-1, p->llCARD);  // sign-extended from 32 bits
  EXPECT_EQ(-1, p->iNPAGES);
  EXPECT_EQ("USERSPACE1", catalogcliText(p->pcharTSNAME));
  EXPECT_EQ("LONGSPACE", catalogcliText(p->pcharLONG_TBSPACE));
  EXPECT_EQ(nullptr, reinterpret_cast<osysibmSystables *>(p->hdr.pnext)->pcharLONG_TBSPACE);
  EXPECT_EQ(nullptr, p->pcharREMARKS);
  EXPECT_EQ(nullptr, p->pcharSTATSTIME);
  EXPECT_EQ(-1, p->sPMAP_ID);  // null SMALLINTs read -1
  EXPECT_EQ(0, p->sKEYOBID);
  EXPECT_EQ("SYSIBM", catalogcliText(p->pcharDEFINER));
  EXPECT_EQ('R', p->cLOCKSIZE);

  // a table space without tables: no row, no message
  osysibmSystablespace *plong = ReadTablespace(pchaine, "LONGSPACE");
  plong->apchaine[1] = NewChaine(sizeof(osysibmSystables));
  int rc = 0;
  EXPECT_TRUE(zavtestMessages([&] { rc = sqlcatGetTables(plong, ghdbc); }).empty());
  EXPECT_EQ(SQLCAT_RC_NOROW, rc);
  EXPECT_EQ(0, plong->apchaine[1]->iItemCount);
  catalogcliFreeTablespaces(pchaine);
}

TEST_F(Sqlcat, ColumnsComeInColumnOrderWithTypesAndDefaults)
{
  Connect();
  ochaine *pchaine = NewChaine(sizeof(osysibmSystablespace));
  osysibmSystables *ptable = ReadTable(pchaine, "T1");
  ASSERT_NE(nullptr, ptable);
  ochaine *pcols = ptable->apchaine[0];
  ASSERT_EQ(18, pcols->iItemCount);

  struct Case {
    const char *pcName;
    int iTypeId;
    const char *pcDefault;  // nullptr: no default
    size_t ulLength;
    uint16_t usCCSID;
  };
  const Case aCases[] = {
      /* the DEFAULT text as declared, in the column's code page; none without DEFAULT, nullable or not */
      {"C5", OSYSIBM_TYPE_CHAR, "'ab'", 4, 819},
      {"INULL", OSYSIBM_TYPE_INTEGER, nullptr, 0, 0},
      {"INOTNULL", OSYSIBM_TYPE_INTEGER, nullptr, 0, 0},
      {"IDEF", OSYSIBM_TYPE_INTEGER, "42", 2, 850},
      {"VNULL", OSYSIBM_TYPE_VARCHAR, nullptr, 0, 0},
      {"VDEF", OSYSIBM_TYPE_VARCHAR, "'x'", 3, 819},
      {"C3NULL", OSYSIBM_TYPE_CHAR, nullptr, 0, 0},
      {"C1LONG", OSYSIBM_TYPE_CHAR, "'abcdef'", 8, 819},  // the output preparation cuts it to the column
      {"DNULL", OSYSIBM_TYPE_DATE, nullptr, 0, 0},
      {"DDEF", OSYSIBM_TYPE_DATE, "'2004-01-01'", 12, 0xFFFF},
      {"TNULL", OSYSIBM_TYPE_TIME, nullptr, 0, 0},
      {"TSNULL", OSYSIBM_TYPE_TIMESTAMP, nullptr, 0, 0},
      {"GNULL", OSYSIBM_TYPE_GRAPHIC, nullptr, 0, 0},
      {"GDEF", OSYSIBM_TYPE_GRAPHIC, "G'ab'", 5, 850},
      {"VGDEF", OSYSIBM_TYPE_VARGRAPHIC, "G'ab'", 5, 850},
      {"CLOBNULL", OSYSIBM_TYPE_CLOB, nullptr, 0, 0},
      {"FLT8", OSYSIBM_TYPE_DOUBLE, nullptr, 0, 0},  // FLOAT of 8 bytes
      {"FLT4", OSYSIBM_TYPE_REAL, nullptr, 0, 0},    // FLOAT of 4 bytes
  };
  auto *p = static_cast<osysibmSyscolumns *>(pcols->pitemTop);
  int16_t sColno = 0;
  for (const Case &c : aCases) {
    SCOPED_TRACE(c.pcName);
    ASSERT_NE(nullptr, p);
    EXPECT_EQ(c.pcName, catalogcliText(p->pcharNAME));
    EXPECT_EQ(sColno++, p->sCOLNO);
    EXPECT_EQ(c.iTypeId, p->iTypeId);
    if (c.pcDefault == nullptr) {
      EXPECT_EQ(nullptr, p->pcharDEFAULTVALUE);
    } else {
      ASSERT_NE(nullptr, p->pcharDEFAULTVALUE);
      EXPECT_EQ(std::string(c.pcDefault, c.ulLength), catalogcliText(p->pcharDEFAULTVALUE));
      EXPECT_EQ(c.usCCSID, p->pcharDEFAULTVALUE->usCCSID);
    }
    p = reinterpret_cast<osysibmSyscolumns *>(p->hdr.pnext);
  }

  auto *pc5 = static_cast<osysibmSyscolumns *>(pcols->pitemTop);
  EXPECT_EQ(&ptable->hdr, pc5->hdr.powner);
  EXPECT_EQ("CHAR    ", catalogcliText(pc5->pcharCOLTYPE));
  EXPECT_EQ("T1", catalogcliText(pc5->pcharTBNAME));
  EXPECT_EQ("TEST", catalogcliText(pc5->pcharTBCREATOR));
  EXPECT_EQ('Y', pc5->cNULLS);
  EXPECT_EQ(5, pc5->sLENGTH);
  EXPECT_EQ(819, pc5->sCODEPAGE);
  EXPECT_EQ(-1, pc5->sKEYSEQ);
  EXPECT_EQ(-1, pc5->sPARTKEYSEQ);
  EXPECT_EQ(nullptr, pc5->pcharREMARKS);
  auto *pclob = static_cast<osysibmSyscolumns *>(pcols->pitemBottom)->hdr.pprev->pprev;
  EXPECT_EQ(1024, reinterpret_cast<osysibmSyscolumns *>(pclob)->iLENGTH2);  // a LOB's length
  catalogcliFreeTablespaces(pchaine);
}

TEST_F(Sqlcat, ATableWithoutColumnsIsReported)
{
  Connect();
  std::string e;
  ASSERT_EQ(0, db2adminExecute("SAMPLE", "DELETE FROM SYSIBM.SYSCOLUMNS WHERE TBNAME = 'T2'", &e)) << e;
  ochaine *pchaine = NewChaine(sizeof(osysibmSystablespace));
  osysibmSystablespace *ptbs = ReadTablespace(pchaine, "USERSPACE1");
  ptbs->apchaine[1] = NewChaine(sizeof(osysibmSystables));
  ASSERT_EQ(0, sqlcatGetTables(ptbs, ghdbc));
  auto *pt2 = static_cast<osysibmSystables *>(ptbs->apchaine[1]->pitemBottom);
  pt2->apchaine[0] = NewChaine(sizeof(osysibmSyscolumns));
  int rc = 0;
  auto msgs = zavtestMessages([&] { rc = sqlcatGetColumns(pt2, ghdbc); });
  EXPECT_EQ(SQLCAT_RC_NOROW, rc);
  EXPECT_EQ((std::vector<std::string>{"ZORU353I NO COLUMN FOUND FOR THE TABLE TEST.T2\n"}), msgs);
  catalogcliFreeTablespaces(pchaine);
}

TEST_F(Sqlcat, TableSpaceAndTypeOfATable)
{
  Connect();
  struct Case {
    const char *pcName;
    int rc;
    const char *pcTablespace;  // nullptr: none
    char cType;
  };
  const Case aCases[] = {
      {"T1", 0, "USERSPACE1", 'T'},
      {"V1", SQLCAT_RC_NULLTS, nullptr, 'V'},      // a view has no table space
      {"A1", 0, "USERSPACE1", 'A'},
      {"NOTS", SQLCAT_RC_NULLTS, nullptr, 'T'},
      {"MISSING", SQLCAT_RC_NOROW, nullptr, ' '},
      {"TWICE", SQLCAT_RC_TWOROWS, "USERSPACE1", 'T'},  // the first row's answer stays
  };
  for (const Case &c : aCases) {
    SCOPED_TRACE(c.pcName);
    ochar *pcharTs = reinterpret_cast<ochar *>(1);
    char cType = '?';
    int rc = -1;
    auto msgs = zavtestMessages([&] { rc = sqlcatGetTSFromTB("TEST", c.pcName, ghdbc, &pcharTs, &cType); });
    EXPECT_TRUE(msgs.empty());
    EXPECT_EQ(c.rc, rc);
    EXPECT_EQ(c.cType, cType);
    if (c.pcTablespace == nullptr) {
      EXPECT_EQ(nullptr, pcharTs);
    } else {
      EXPECT_EQ(c.pcTablespace, catalogcliText(pcharTs));
      EXPECT_EQ(819, pcharTs->usCCSID);
    }
    ocharDestroy(pcharTs);
  }
}

/* One injected CLI failure and the code and messages each query gives for it. */
TEST_F(Sqlcat, FailuresGiveTheirCodesAndMessages)
{
  Connect();
  const std::string strDiag = "ZORU306E DB2 ERROR: SQL0999N injected\n";
  const std::string strRetrieve = "ZORU020E ERROR WHILE RETRIEVING TABLESPACE INFO FROM THE CATALOG SAMPLE";
  struct Case {
    const char *pcLabel;
    const char *pcFail;
    int iQuery;  // 0 all table spaces, 1 one table space, 2 tables, 3 columns, 4 table space of a table
    int rc;
    std::vector<std::string> vMessages;
  };
  const Case aCases[] = {
      {"alloc", "SQLAllocHandle=-1,HY001,-999,SQL0999N injected", 0, SQLCAT_RC_ALLOC, {strDiag}},
      {"prepare", "SQLPrepare=-1,42601,-999,SQL0999N injected", 2, SQLCAT_RC_PREPARE, {strDiag}},
      {"bind", "SQLBindParameter=-1,HY009,-999,SQL0999N injected", 1, SQLCAT_RC_BIND, {strDiag}},
      {"bind columns", "SQLBindParameter=-1,HY009,-999,SQL0999N injected", 3, SQLCAT_RC_BIND, {strDiag}},
      {"execute", "SQLExecute=-1,58004,-999,SQL0999N injected", 0, SQLCAT_RC_EXECUTE, {strRetrieve + "\n", strDiag}},
      {"execute named", "SQLExecute=-1,58004,-999,SQL0999N injected", 1, SQLCAT_RC_EXECUTE,
       {strRetrieve + ".USERSPACE1\n", strDiag}},
      // success with information fails as well, but has no diagnostics to report
      {"execute info", "SQLExecute=1,01000,0,SQL0999N injected", 3, SQLCAT_RC_EXECUTE, {strRetrieve + "\n"}},
      {"execute tsfromtb", "SQLExecute=-1,58004,-999,SQL0999N injected", 4, SQLCAT_RC_EXECUTE,
       {strRetrieve + "\n", strDiag}},
      // the steps before the execution are not checked: an invalid statement fails there, without diagnostics
      {"alloc tsfromtb", "SQLAllocHandle=-1,HY001,-999,SQL0999N injected", 4, SQLCAT_RC_EXECUTE,
       {strRetrieve + "\n"}},
      {"fetch", "SQLFetch=-1,58004,-999,SQL0999N injected", 2, SQLCAT_RC_EXECUTE, {strRetrieve + "\n", strDiag}},
      {"fetch tsfromtb", "SQLFetch=-1,58004,-999,SQL0999N injected", 4, SQLCAT_RC_EXECUTE,
       {strRetrieve + "\n", strDiag}},
  };
  for (const Case &c : aCases) {
    SCOPED_TRACE(c.pcLabel);
    ochaine *pchaine = NewChaine(sizeof(osysibmSystablespace));
    osysibmSystablespace *ptbs = ReadTablespace(pchaine, "USERSPACE1");
    ptbs->apchaine[1] = NewChaine(sizeof(osysibmSystables));
    ASSERT_EQ(0, sqlcatGetTables(ptbs, ghdbc));
    auto *ptable = static_cast<osysibmSystables *>(ptbs->apchaine[1]->pitemTop);
    ptable->apchaine[0] = NewChaine(sizeof(osysibmSyscolumns));
    ochaine *pchaineOut = NewChaine(sizeof(osysibmSystablespace));
    ochar *pcharTs = nullptr;
    char cType = 0;
    int rc = 0;
    setenv("ZAVDB2_FAIL", c.pcFail, 1);
    auto msgs = zavtestMessages([&] {
      switch (c.iQuery) {
        case 0: rc = sqlcatGetTablespaces(pchaineOut, ghdbc); break;
        case 1: rc = sqlcatGetTablespace(pchaineOut, "USERSPACE1", ghdbc); break;
        case 2: rc = sqlcatGetTables(ptbs, ghdbc); break;
        case 3: rc = sqlcatGetColumns(ptable, ghdbc); break;
        default: rc = sqlcatGetTSFromTB("TEST", "T1", ghdbc, &pcharTs, &cType); break;
      }
    });
    unsetenv("ZAVDB2_FAIL");
    EXPECT_EQ(c.rc, rc);
    EXPECT_EQ(c.vMessages, msgs);
    EXPECT_EQ(0, pchaineOut->iItemCount);
    EXPECT_EQ(2, ptbs->apchaine[1]->iItemCount);  // what was read before stays
    EXPECT_EQ(0, ptable->apchaine[0]->iItemCount);
    EXPECT_EQ(nullptr, pcharTs);
    catalogcliFreeTablespaces(pchaineOut);
    catalogcliFreeTablespaces(pchaine);
  }
}

TEST_F(Sqlcat, AFetchThatFailsAfterSomeRowsIsAFailureNotAShortList)
{
  Connect();
  std::string e;
  // T2's cardinality does not fit the 32-bit buffer: its row cannot be fetched
  ASSERT_EQ(0, db2adminExecute("SAMPLE", "UPDATE SYSIBM.SYSTABLES SET CARD = 5000000000 WHERE NAME = 'T2'", &e)) << e;
  ochaine *pchaine = NewChaine(sizeof(osysibmSystablespace));
  osysibmSystablespace *ptbs = ReadTablespace(pchaine, "USERSPACE1");
  ptbs->apchaine[1] = NewChaine(sizeof(osysibmSystables));
  int rc = 0;
  auto msgs = zavtestMessages([&] { rc = sqlcatGetTables(ptbs, ghdbc); });
  EXPECT_EQ(SQLCAT_RC_EXECUTE, rc);
  ASSERT_LE(2u, msgs.size()) << ::testing::PrintToString(msgs);  // the row also had a value cut
  EXPECT_EQ("ZORU020E ERROR WHILE RETRIEVING TABLESPACE INFO FROM THE CATALOG SAMPLE\n", msgs[0]);
  EXPECT_EQ(0u, msgs[1].rfind("ZORU306E DB2 ERROR: SQL0413N", 0)) << msgs[1];
  catalogcliFreeTablespaces(pchaine);
}

TEST_F(Sqlcat, DiagnosticsReportEveryRecordOfAnErrorOnly)
{
  Connect();
  SQLHSTMT hstmt = 0;
  ASSERT_EQ(SQL_SUCCESS, SQLAllocHandle(SQL_HANDLE_STMT, ghdbc, &hstmt));
  ASSERT_EQ(SQL_SUCCESS,
            SQLPrepare(hstmt, (SQLCHAR *)"SELECT TBSPACE, DEFINER FROM SYSIBM.SYSTABLESPACES", SQL_NTS));
  ASSERT_EQ(SQL_SUCCESS, SQLExecute(hstmt));
  char ac1[3], ac2[3];
  SQLBindCol(hstmt, 1, SQL_C_CHAR, ac1, sizeof ac1, nullptr);
  SQLBindCol(hstmt, 2, SQL_C_CHAR, ac2, sizeof ac2, nullptr);
  ASSERT_EQ(SQL_SUCCESS_WITH_INFO, SQLFetch(hstmt));  // two truncations: two records
  const std::string strCut = "ZORU306E DB2 ERROR: Data truncated.  SQLSTATE=01004\n";
  for (SQLRETURN rc : {SQL_ERROR, SQL_SUCCESS_WITH_INFO, SQL_INVALID_HANDLE}) {
    SCOPED_TRACE(rc);
    auto msgs = zavtestMessages([&] { _sqlcatGetDb2ErrorInfo(SQL_HANDLE_STMT, hstmt, rc); });
    std::vector<std::string> vExpected;
    if (rc == SQL_ERROR) vExpected = {strCut, strCut};
    EXPECT_EQ(vExpected, msgs);
  }
  SQLFreeHandle(SQL_HANDLE_STMT, hstmt);
}

}  // namespace
