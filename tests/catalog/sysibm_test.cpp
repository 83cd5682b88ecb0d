// The control step's entry points into the catalogue through CLI, against
// the DB2 stand-in: the table-space chains with their tables and columns,
// what a failed query leaves, a failed connection, and the table space of
// a table given by strings.
#include "catalog/sysibm.h"

#include "catalog/sqlcat.h"
#include "tests/catalog/catalogcli.h"
#include "tests/zavtest.h"

namespace {

using Sysibm = CatalogCli;

ochar *_string(const char *pcText)
{
  ochar *pchar = ocharCreate(0, 850);
  ocharAppendFixedS(pchar, pcText, static_cast<int32_t>(std::strlen(pcText)));
  return pchar;
}

osysibmSystablespace *_tablespace(ochaine *pchaine, int i)
{
  auto *p = static_cast<osysibmSystablespace *>(pchaine->pitemTop);
  while (p != nullptr && i-- > 0) p = reinterpret_cast<osysibmSystablespace *>(p->hdr.pnext);
  return p;
}

TEST_F(Sysibm, AllTableSpacesComeWithTheirTablesAndColumns)
{
  int rc = -1;
  ochaine *pchaine = sysibmGetTablespace("SAMPLE", nullptr, nullptr, nullptr, nullptr, &rc);
  ASSERT_NE(nullptr, pchaine);
  EXPECT_EQ(0, rc);  // LONGSPACE has no table: not an error
  EXPECT_EQ(static_cast<uintptr_t>(OSYSIBM_SYSTABLESPACE), pchaine->pData);
  EXPECT_EQ(&_sysibmTbsOchainePrint, pchaine->procPrintItem);
  ASSERT_EQ(3, pchaine->iItemCount);

  const char *apcNames[] = {"USERSPACE1", "LONGSPACE", "TS_EIGHTEEN_BYTES1"};
  const int aiTables[] = {2, 0, 1};
  for (int i = 0; i < 3; i++) {
    osysibmSystablespace *ptbs = _tablespace(pchaine, i);
    SCOPED_TRACE(apcNames[i]);
    EXPECT_EQ(apcNames[i], catalogcliText(ptbs->pcharNAME));
    EXPECT_EQ("SAMPLE", catalogcliText(ptbs->pcharDBNAME));
    ASSERT_NE(nullptr, ptbs->apchaine[1]);
    EXPECT_EQ(static_cast<uintptr_t>(OSYSIBM_SYSTABLES), ptbs->apchaine[1]->pData);
    EXPECT_EQ(&_sysibmTabOchainePrint, ptbs->apchaine[1]->procPrintItem);
    EXPECT_EQ(aiTables[i], ptbs->apchaine[1]->iItemCount);
    for (auto *ptable = static_cast<osysibmSystables *>(ptbs->apchaine[1]->pitemTop); ptable != nullptr;
         ptable = reinterpret_cast<osysibmSystables *>(ptable->hdr.pnext)) {
      ASSERT_NE(nullptr, ptable->apchaine[0]);
      EXPECT_EQ(static_cast<uintptr_t>(OSYSIBM_SYSCOLUMNS), ptable->apchaine[0]->pData);
      EXPECT_EQ(&_sysibmColOchainePrint, ptable->apchaine[0]->procPrintItem);
      EXPECT_EQ(ptable->sCOLCOUNT, ptable->apchaine[0]->iItemCount);
    }
  }

  // the chains print through their printers, down to the columns
  std::string strOut = zavtestCapture([&](FILE *pfile) { ochainePrint(pchaine, pfile, 0, 3); });
  EXPECT_NE(std::string::npos, strOut.find(">>>>>- SYSTABLESPACE"));
  EXPECT_NE(std::string::npos, strOut.find(">>>>>- SYSTABLES"));
  EXPECT_NE(std::string::npos, strOut.find(">>>>>- SYSCOLUMNS"));
  catalogcliFreeTablespaces(pchaine);
}

TEST_F(Sysibm, ANamedTableSpaceGivesOneRecordAnUnknownOneNone)
{
  int rc = -1;
  ochaine *pchaine = sysibmGetTablespace("SAMPLE", "TS_EIGHTEEN_BYTES1", nullptr, nullptr, nullptr, &rc);
  ASSERT_NE(nullptr, pchaine);
  EXPECT_EQ(0, rc);
  ASSERT_EQ(1, pchaine->iItemCount);
  osysibmSystablespace *ptbs = _tablespace(pchaine, 0);
  ASSERT_EQ(1, ptbs->apchaine[1]->iItemCount);
  auto *ptable = static_cast<osysibmSystables *>(ptbs->apchaine[1]->pitemTop);
  EXPECT_EQ("T3", catalogcliText(ptable->pcharNAME));
  EXPECT_EQ(OSYSIBM_TYPE_SMALLINT, static_cast<osysibmSyscolumns *>(ptable->apchaine[0]->pitemTop)->iTypeId);

  // a given chain is filled further
  auto msgs = zavtestMessages([&] {
    EXPECT_EQ(pchaine, sysibmGetTablespace("SAMPLE", "NOPE", nullptr, nullptr, pchaine, &rc));
  });
  EXPECT_EQ(SQLCAT_RC_NOROW, rc);
  EXPECT_EQ((std::vector<std::string>{"ZORU019E TABLESPACE NOT FOUND IN THE CATALOG SAMPLE.NOPE\n"}), msgs);
  EXPECT_EQ(1, pchaine->iItemCount);
  catalogcliFreeTablespaces(pchaine);
}

TEST_F(Sysibm, AQueryThatFailsStopsTheReadingOfTablesButNotTheDatabaseNames)
{
  std::string e;
  // T1 has no column left: its column query gives the no-row code
  ASSERT_EQ(0, db2adminExecute("SAMPLE", "DELETE FROM SYSIBM.SYSCOLUMNS WHERE TBNAME = 'T1'", &e)) << e;
  int rc = 0;
  ochaine *pchaine = nullptr;
  auto msgs = zavtestMessages([&] { pchaine = sysibmGetTablespace("SAMPLE", nullptr, nullptr, nullptr, nullptr, &rc); });
  ASSERT_NE(nullptr, pchaine);
  EXPECT_EQ((std::vector<std::string>{"ZORU353I NO COLUMN FOUND FOR THE TABLE TEST.T1\n"}), msgs);
  // T2, after T1, still got its columns: each table's code replaces the previous one
  EXPECT_EQ(0, rc);
  osysibmSystablespace *puser = _tablespace(pchaine, 0);
  auto *pt2 = reinterpret_cast<osysibmSystables *>(static_cast<osysibmSystables *>(puser->apchaine[1]->pitemTop)->hdr.pnext);
  EXPECT_EQ(1, pt2->apchaine[0]->iItemCount);
  catalogcliFreeTablespaces(pchaine);

  // now the last table's query fails: the following table spaces are not read
  ASSERT_EQ(0, db2adminExecute("SAMPLE", "DELETE FROM SYSIBM.SYSCOLUMNS WHERE TBNAME = 'T2'", &e)) << e;
  pchaine = sysibmGetTablespace("SAMPLE", nullptr, nullptr, nullptr, nullptr, &rc);
  ASSERT_NE(nullptr, pchaine);
  EXPECT_EQ(SQLCAT_RC_NOROW, rc);
  ASSERT_EQ(3, pchaine->iItemCount);
  for (int i = 1; i < 3; i++) {
    EXPECT_EQ("SAMPLE", catalogcliText(_tablespace(pchaine, i)->pcharDBNAME));
    EXPECT_EQ(nullptr, _tablespace(pchaine, i)->apchaine[1]);
  }
  catalogcliFreeTablespaces(pchaine);
}

TEST_F(Sysibm, AColumnQueryThatFailsIsNotHiddenByTheNextTable)
{
  std::string e;
  // one column of T1 cannot be fetched (its COLCARD does not fit 32 bits)
  ASSERT_EQ(0, db2adminExecute("SAMPLE", "UPDATE SYSIBM.SYSCOLUMNS SET COLCARD = 5000000000 WHERE NAME = 'C5'", &e))
      << e;
  int rc = 0;
  ochaine *pchaine = nullptr;
  auto msgs = zavtestMessages([&] { pchaine = sysibmGetTablespace("SAMPLE", nullptr, nullptr, nullptr, nullptr, &rc); });
  ASSERT_NE(nullptr, pchaine);
  EXPECT_EQ(SQLCAT_RC_EXECUTE, rc);
  ASSERT_LE(1u, msgs.size());
  EXPECT_EQ("ZORU020E ERROR WHILE RETRIEVING TABLESPACE INFO FROM THE CATALOG SAMPLE\n", msgs[0]);
  osysibmSystablespace *puser = _tablespace(pchaine, 0);
  auto *pt2 = reinterpret_cast<osysibmSystables *>(static_cast<osysibmSystables *>(puser->apchaine[1]->pitemTop)->hdr.pnext);
  EXPECT_EQ(nullptr, pt2->apchaine[0]);
  EXPECT_EQ(nullptr, _tablespace(pchaine, 2)->apchaine[1]);
  catalogcliFreeTablespaces(pchaine);
}

TEST_F(Sysibm, AFailedConnectionGivesNoChain)
{
  int rc = 0;
  ochaine *pchaine = reinterpret_cast<ochaine *>(1);
  zavtestMessages([&] { pchaine = sysibmGetTablespace("NODB", nullptr, nullptr, nullptr, nullptr, &rc); });
  EXPECT_EQ(nullptr, pchaine);
  EXPECT_EQ(DB2UTIL_RC_CONNECT, rc);

  ochar *pcharCreator = _string("TEST"), *pcharName = _string("T1"), *pcharDb = _string("NODB");
  ochar *pcharTs = reinterpret_cast<ochar *>(1);
  char cType = '?';
  zavtestMessages([&] { rc = sysibmGetTSFromTB(pcharCreator, pcharName, nullptr, nullptr, pcharDb, &pcharTs, &cType); });
  EXPECT_EQ(DB2UTIL_RC_CONNECT, rc);
  EXPECT_EQ(nullptr, pcharTs);
  EXPECT_EQ(' ', cType);
  ocharDestroy(pcharCreator);
  ocharDestroy(pcharName);
  ocharDestroy(pcharDb);
}

TEST_F(Sysibm, TableSpaceOfATableFromStrings)
{
  // strings without a terminating zero, as the parser makes them
  ochar *pcharCreator = _string("TEST"), *pcharName = _string("T3"), *pcharDb = _string("SAMPLE");
  ochar *pcharTs = nullptr;
  char cType = 0;
  EXPECT_EQ(0, sysibmGetTSFromTB(pcharCreator, pcharName, nullptr, nullptr, pcharDb, &pcharTs, &cType));
  EXPECT_EQ("TS_EIGHTEEN_BYTES1", catalogcliText(pcharTs));
  EXPECT_EQ('T', cType);
  EXPECT_EQ(2, pcharName->ilBU);  // made zero-terminated, same text
  EXPECT_EQ('\0', _charText(pcharName)[2]);
  ocharDestroy(pcharTs);

  ocharDestroy(pcharName);
  pcharName = _string("MISSING");
  EXPECT_EQ(SQLCAT_RC_NOROW, sysibmGetTSFromTB(pcharCreator, pcharName, nullptr, nullptr, pcharDb, &pcharTs, &cType));
  EXPECT_EQ(nullptr, pcharTs);
  EXPECT_EQ(' ', cType);
  ocharDestroy(pcharCreator);
  ocharDestroy(pcharName);
  ocharDestroy(pcharDb);
}

}  // namespace
