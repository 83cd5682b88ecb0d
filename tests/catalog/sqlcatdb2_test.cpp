// SELECTs answered through DB2 CLI against the stand-in: the column
// descriptions read at control time, the layout of the fetched row, the
// statement set-up binding every column into that row, LOBs moved into LOB
// files through their locators, and CLI failures with their diagnostics.
#include "catalog/sqlcat.h"

#include "common/obyte.h"
#include "common/ochaine.h"
#include "common/ochar.h"
#include "common/olist.h"
#include "model/token.h"
#include "model/udb.h"
#include "model/zoratom.h"
#include "model/zortask.h"
#include "expr/zorcol.h"
#include "io/zor3write.h"
#include "tests/catalog/catalogcli.h"
#include "tests/zavtest.h"

#include <cstring>

namespace {

const char *tok(int iSlot) { return gapnameTotalToken[iSlot]; }

ochar *makeText(const std::string &str)
{
  ochar *pchar = ocharCreate(static_cast<int32_t>(str.size()) + 1, 850);
  ocharAppendFixedS(pchar, str.data(), static_cast<int32_t>(str.size()));
  return pchar;
}

class SqlcatDb2 : public CatalogCli {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(0, tokenInitKeyword()); }

  void SetUp() override
  {
    CatalogCli::SetUp();
    ptask = zortaskCreate("SELECT");
    AddText(TOKEN_DBNAME, "SAMPLE");
  }

  void TearDown() override
  {
    zortaskDestroy(ptask);
    ochaineDestroy(pchaineColumns);
    ochaineDestroy(pchaineCopy);
    CatalogCli::TearDown();
  }

  void AddText(int iSlot, const std::string &str)
  {
    zoratomDestroy(zortaskRemoveAtom(ptask, tok(iSlot)));
    ASSERT_EQ(0, zortaskAddAtom(ptask, zoratomCreate(tok(iSlot), ZORATOM_OCHAR, 0,
                                                     reinterpret_cast<uintptr_t>(makeText(str)), nullptr, nullptr)));
  }

  /* Describes the SELECT on the test connection; the columns become the SELECT chain. */
  int Describe(const std::string &strSelect)
  {
    pchaineColumns = ochaineCreate(static_cast<int>(sizeof(zorcol)), nullptr, zorcolDestroyChaineItem);
    pchaineCopy = ochaineCreate(static_cast<int>(sizeof(zorcol)), nullptr, zorcolDestroyChaineItem);
    ochar *pcharSelect = makeText(strSelect);
    int rc = sqlcatGetColDescription(ptask, pcharSelect, 819, ghdbc, pchaineColumns, pchaineCopy);
    ocharDestroy(pcharSelect);
    return rc;
  }

  /* Hands the copy chain to the task as its SELECT chain, with the text as SELECTSQL. */
  void UseAsSelect(const std::string &strSelect)
  {
    AddText(TOKEN_SELECTSQL, strSelect);
    EXPECT_EQ(0, zortaskAddAtom(ptask, zoratomCreate(tok(TOKEN_SELECT), ZORATOM_OCHAINE, 0,
                                                     reinterpret_cast<uintptr_t>(pchaineCopy), nullptr, nullptr)));
    pchaineCopy = nullptr;
  }

  int32_t LobCount()
  {
    zoratom *patom = zortaskDetermineAtom(ptask, tok(TOKEN_NO));
    return patom != nullptr ? patom->value.iValue : -1;
  }

  std::vector<zorcol *> Columns(ochaine *pchaine)
  {
    std::vector<zorcol *> v;
    for (auto *p = static_cast<zorcol *>(pchaine->pitemTop); p != nullptr; p = p->pcolNext) v.push_back(p);
    return v;
  }

  /* Fixed and variable size of the described columns, laid out in order. */
  void Layout(std::vector<int32_t> *pvOffsets, int32_t *pilFixed, int32_t *pilVariable)
  {
    int32_t ilEntry = 0, ilOffset = 0;
    *pilVariable = 0;
    for (zorcol *pcol : Columns(pchaineColumns))
      pvOffsets->push_back(sqlcatCalcOffsetSelectDB2(pcol, &ilEntry, &ilOffset, pilVariable));
    *pilFixed = ilOffset + ilEntry + 8;
  }

  void Release(SQLHENV henv, SQLHDBC hdbc, SQLHSTMT hstmt)
  {
    if (hstmt != 0) SQLFreeHandle(SQL_HANDLE_STMT, hstmt);
    if (hdbc != 0) {
      SQLDisconnect(hdbc);
      SQLFreeHandle(SQL_HANDLE_DBC, hdbc);
    }
    if (henv != 0) SQLFreeHandle(SQL_HANDLE_ENV, henv);
  }

  std::string strError;
  zortask *ptask = nullptr;
  ochaine *pchaineColumns = nullptr;
  ochaine *pchaineCopy = nullptr;
};

TEST_F(SqlcatDb2, ColumnDescriptionsOfASelectAndItsLobCount)
{
  Connect();
  ASSERT_EQ(0, db2adminCreateTable("SAMPLE", "TEST", "L1", "USERSPACE1", "LONGSPACE", 7,
                                   {{"ID", "INTEGER", false, "", -1},
                                    {"NAME", "VARCHAR(20)", true, "", -1},
                                    {"PRICE", "DECIMAL(7,2)", true, "", -1},
                                    {"DOC", "CLOB(1M)", true, "", -1},
                                    {"PIC", "BLOB(1M)", true, "", -1}},
                                   &strError)) << strError;
  ASSERT_EQ(0, Describe("SELECT ID, NAME, PRICE, DOC, PIC FROM TEST.L1"));
  std::vector<zorcol *> v = Columns(pchaineColumns);
  std::vector<zorcol *> vCopy = Columns(pchaineCopy);
  ASSERT_EQ(5u, v.size());
  ASSERT_EQ(5u, vCopy.size());
  const struct {
    const char *pcName;
    int iType;
    bool boNull;
  } aExpected[] = {{"ID", ZORCOL_T_INTEGER, false},
                   {"NAME", ZORCOL_T_VARCHAR, true},
                   {"PRICE", ZORCOL_T_DECIMAL, true},
                   {"DOC", ZORCOL_T_CLOB, true},
                   {"PIC", ZORCOL_T_BLOB, true}};
  for (size_t i = 0; i < v.size(); i++) {
    SCOPED_TRACE(i);
    EXPECT_EQ(aExpected[i].pcName, catalogcliText(v[i]->pcharName));
    EXPECT_EQ(aExpected[i].iType, v[i]->iType & 0xFF);
    EXPECT_EQ(aExpected[i].boNull, (v[i]->usFlags & ZORCOL_NULL) != 0);
    EXPECT_NE(v[i], vCopy[i]);
    EXPECT_EQ(v[i]->iType, vCopy[i]->iType);
    EXPECT_EQ(v[i]->iLength, vCopy[i]->iLength);
  }
  EXPECT_EQ(20, v[1]->iLength);
  EXPECT_EQ((7 << 8) | 2, v[2]->iSubType);
  EXPECT_EQ(2, LobCount());
}

TEST_F(SqlcatDb2, RowLayoutGivesEachColumnItsPlace)
{
  // name, type, subtype, length -> offset, entry size, variable room added
  struct Case {
    int iType;
    int32_t iSubType;
    int32_t iLength;
    int32_t ilOffset;
    int32_t ilEntry;
    int32_t ilVariable;
  };
  const Case aCases[] = {
      {ZORCOL_T_SMALLINT, 2, 2, 0, 6, 0},
      {ZORCOL_T_INTEGER, 4, 4, 6, 8, 0},
      {ZORCOL_T_BIGINT, 8, 8, 14, 12, 0},
      {ZORCOL_T_DECIMAL, (7 << 8) | 2, 4, 26, 8, 0},  // 7 digits: 4 packed bytes + indicator
      {ZORCOL_T_CHAR, 5, 5, 34, 9, 0},
      {ZORCOL_T_DATE, 10, 4, 43, 14, 0},
      {ZORCOL_T_TIMESTAMP, 26, 10, 57, 30, 0},
      {ZORCOL_T_VARCHAR, 20, 20, 87, 12, 20},
      {ZORCOL_T_GRAPHIC, 2, 4, 99, 12, 0},  // takes no room: keeps the previous size
      {ZORCOL_T_CLOB, 0, 32700, 111, 12, 32700},
      {ZORCOL_T_DOUBLE, 8, 8, 123, 12, 0},
  };
  int32_t ilEntry = 0, ilOffset = 0, ilVariable = 0;
  for (const Case &c : aCases) {
    SCOPED_TRACE(c.ilOffset);
    zorcol col{};
    col.iType = c.iType;
    col.iSubType = c.iSubType;
    col.iLength = c.iLength;
    int32_t ilBefore = ilVariable;
    EXPECT_EQ(c.ilOffset, sqlcatCalcOffsetSelectDB2(&col, &ilEntry, &ilOffset, &ilVariable));
    EXPECT_EQ(c.ilOffset, ilOffset);
    EXPECT_EQ(c.ilEntry, ilEntry);
    EXPECT_EQ(c.ilVariable, ilVariable - ilBefore);
  }
}

TEST_F(SqlcatDb2, StatementSetUpFetchesEveryColumnIntoTheRow)
{
  Connect();
  ASSERT_EQ(0, db2adminCreateTable("SAMPLE", "TEST", "R1", "USERSPACE1", "", 7,
                                   {{"ID", "INTEGER", false, "", -1},
                                    {"NAME", "VARCHAR(10)", true, "", -1},
                                    {"CODE", "CHAR(4)", true, "", -1},
                                    {"PRICE", "DECIMAL(7,2)", true, "", -1},
                                    {"AT", "TIME", true, "", -1}},
                                   &strError)) << strError;
  ASSERT_EQ(0, db2adminExecute("SAMPLE",
                               "INSERT INTO TEST.R1 VALUES (7, 'abc', 'XY  ', 12345.67, '12:34:56');"
                               "INSERT INTO TEST.R1 VALUES (8, NULL, NULL, NULL, NULL)",
                               &strError)) << strError;
  const std::string strSelect = "SELECT ID, NAME, CODE, PRICE, AT FROM TEST.R1 ORDER BY ID";
  ASSERT_EQ(0, Describe(strSelect));
  std::vector<int32_t> vOffsets;
  int32_t ilFixed = 0, ilVariable = 0;
  Layout(&vOffsets, &ilFixed, &ilVariable);
  ASSERT_EQ((std::vector<int32_t>{0, 8, 20, 28, 36}), vOffsets);
  EXPECT_EQ(36 + 12 + 8, ilFixed);
  EXPECT_EQ(10, ilVariable);
  UseAsSelect(strSelect);

  std::vector<unsigned char> vRow(static_cast<size_t>(ilFixed + ilVariable + 8), 0xEE);
  unsigned char *puc = vRow.data() + 8;
  SQLUINTEGER ulFetched = 0;
  SQLHENV henv = 0;
  SQLHDBC hdbc = 0;
  SQLHSTMT hstmt = 0;
  ASSERT_EQ(0, sqlcatInitExportSelectDB2(ptask, ilFixed, nullptr, nullptr, nullptr, &ulFetched, &henv, &hdbc, &hstmt,
                                         reinterpret_cast<char *>(puc)));
  ASSERT_EQ(SQL_SUCCESS, SQLFetch(hstmt));
  EXPECT_EQ(1u, ulFetched);
  // INTEGER and its indicator
  EXPECT_EQ(7u, obyteGetLE32(puc + 0));
  EXPECT_EQ(4u, obyteGetLE32(puc + 4));
  // VARCHAR: offset into the variable part, maximum length, actual length; the bytes there
  EXPECT_EQ(static_cast<uint32_t>(ilFixed), obyteGetLE32(puc + 8));
  EXPECT_EQ(10u, obyteGetLE32(puc + 12));
  EXPECT_EQ(3u, obyteGetLE32(puc + 16));
  EXPECT_EQ(0, std::memcmp(puc + ilFixed, "abc", 3));
  // CHAR(4)
  EXPECT_EQ(0, std::memcmp(puc + 20, "XY  ", 4));
  EXPECT_EQ(4u, obyteGetLE32(puc + 24));
  // DECIMAL(7,2): packed 1234567C
  EXPECT_EQ((std::vector<unsigned char>{0x12, 0x34, 0x56, 0x7C}), std::vector<unsigned char>(puc + 28, puc + 32));
  // TIME as text
  EXPECT_EQ(0, std::memcmp(puc + 36, "12:34:56", 8));
  EXPECT_EQ(8u, obyteGetLE32(puc + 44));

  // the row of NULLs: every nullable indicator -1
  ASSERT_EQ(SQL_SUCCESS, SQLFetch(hstmt));
  EXPECT_EQ(8u, obyteGetLE32(puc + 0));
  for (int iAt : {16, 24, 32, 44}) EXPECT_EQ(0xFFFFFFFFu, obyteGetLE32(puc + iAt)) << iAt;
  EXPECT_EQ(SQL_NO_DATA_FOUND, SQLFetch(hstmt));
  Release(henv, hdbc, hstmt);
}

TEST_F(SqlcatDb2, CliFailuresReportEveryDiagnosticRecord)
{
  Connect();
  const std::string strSelect = "SELECT ID FROM TEST.T2";
  struct Case {
    const char *pcFail;
    bool boDescribe;  // at control time, else in the statement set-up
  };
  const Case aCases[] = {
      {"SQLPrepare=-1,42601,-104,SQL0104N injected", true},
      {"SQLDescribeCol=-1,58004,-901,SQL0901N injected", true},
      {"SQLColAttribute=-1,58004,-901,SQL0901N injected", true},
      {"SQLConnect=-1,08001,-1013,SQL1013N injected", false},
      {"SQLPrepare=-1,42601,-104,SQL0104N injected", false},
      {"SQLBindCol=-1,HY009,-999,SQL0999N injected", false},
      {"SQLExecute=-1,58004,-901,SQL0901N injected", false},
  };
  ASSERT_EQ(0, Describe(strSelect));
  UseAsSelect(strSelect);
  for (const Case &c : aCases) {
    SCOPED_TRACE(c.pcFail);
    setenv("ZAVDB2_FAIL", c.pcFail, 1);
    int rc = 0;
    std::vector<std::string> vMsgs;
    if (c.boDescribe) {
      ochaine *pchaineA = ochaineCreate(static_cast<int>(sizeof(zorcol)), nullptr, zorcolDestroyChaineItem);
      ochaine *pchaineB = ochaineCreate(static_cast<int>(sizeof(zorcol)), nullptr, zorcolDestroyChaineItem);
      ochar *pcharSelect = makeText(strSelect);
      vMsgs = zavtestMessages([&] { rc = sqlcatGetColDescription(ptask, pcharSelect, 819, ghdbc, pchaineA, pchaineB); });
      ocharDestroy(pcharSelect);
      ochaineDestroy(pchaineA);
      ochaineDestroy(pchaineB);
    } else {
      char acRow[64] = {0};
      SQLUINTEGER ulFetched = 0;
      SQLHENV henv = 0;
      SQLHDBC hdbc = 0;
      SQLHSTMT hstmt = 0;
      vMsgs = zavtestMessages([&] {
        rc = sqlcatInitExportSelectDB2(ptask, 16, nullptr, nullptr, nullptr, &ulFetched, &henv, &hdbc, &hstmt, acRow);
      });
      Release(henv, hdbc, hstmt);
    }
    unsetenv("ZAVDB2_FAIL");
    EXPECT_EQ(SQLCAT_RC_DB2, rc);
    ASSERT_EQ(1u, vMsgs.size());
    EXPECT_EQ(0u, vMsgs[0].rfind("ZORU306E DB2 ERROR: SQL", 0)) << vMsgs[0];
  }
}

/* A table with a CLOB of 20000 bytes and a NULL one; a task with LOBFILE, and
   with LLS when the parameter says so, and a LOB-file writer on a directory. */
class SqlcatDb2Lob : public SqlcatDb2, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override
  {
    SqlcatDb2::SetUp();
    Connect();
    ASSERT_EQ(0, db2adminCreateTable("SAMPLE", "TEST", "LOBS", "USERSPACE1", "LONGSPACE", 8,
                                     {{"ID", "INTEGER", false, "", -1}, {"DOC", "CLOB(1M)", true, "", -1}}, &strError)) << strError;
    strDoc.resize(20000);
    for (size_t i = 0; i < strDoc.size(); i++) strDoc[i] = static_cast<char>('a' + i % 26);
    ASSERT_EQ(0, db2adminExecute("SAMPLE",
                                 "INSERT INTO TEST.LOBS VALUES (1, '" + strDoc +
                                     "'); INSERT INTO TEST.LOBS VALUES (2, NULL)",
                                 &strError)) << strError;
    std::filesystem::create_directories(strRoot + "/lobs");
    lobpath.pcharPath = makeText(strRoot + "/lobs");
    pcharLobFile = makeText("doc");
    olist *plistPaths = olistCreateRef(nullptr, nullptr);
    olistAppendRef(plistPaths, &lobpath, 0);
    olist *plistFiles = olistCreateRef(nullptr, nullptr);
    olistAppendRef(plistFiles, pcharLobFile, 0);
    ASSERT_EQ(0, zortaskAddAtom(ptask, zoratomCreate(tok(TOKEN_LOB), ZORATOM_OLIST, 0,
                                                     reinterpret_cast<uintptr_t>(plistPaths), nullptr, nullptr)));
    ASSERT_EQ(0, zortaskAddAtom(ptask, zoratomCreate(tok(TOKEN_LOBFILE), ZORATOM_OLIST, 0,
                                                     reinterpret_cast<uintptr_t>(plistFiles), nullptr, nullptr)));
    if (GetParam()) {
      ASSERT_EQ(0, zortaskAddAtom(ptask, zoratomCreate(tok(TOKEN_LLS), ZORATOM_INTEGER, 0, 1, nullptr, nullptr)));
    }
    pwriteLob = writeCreate(ZORWRITE_LOB, -1, nullptr, 0, nullptr, ptask);
  }

  void TearDown() override
  {
    unsetenv("ZAVDB2_CALLLOG");
    writeDestroy(pwriteLob);
    SqlcatDb2::TearDown();
    ocharDestroy(pcharLobFile);
    ocharDestroy(lobpath.pcharPath);
  }

  std::string strDoc;
  zorwrite *pwriteLob = nullptr;
  ochar *pcharLobFile = nullptr;
  udbLobPath lobpath{};
};

TEST_P(SqlcatDb2Lob, LobsGoIntoTheLobFileInPiecesAndTheRowGetsTheirReference)
{
  const bool boLls = GetParam();
  const std::string strSelect = "SELECT ID, DOC FROM TEST.LOBS ORDER BY ID";
  ASSERT_EQ(0, Describe(strSelect));
  std::vector<int32_t> vOffsets;
  int32_t ilFixed = 0, ilVariable = 0;
  Layout(&vOffsets, &ilFixed, &ilVariable);
  UseAsSelect(strSelect);
  std::vector<char> vRow(static_cast<size_t>(ilFixed + ilVariable + 8), 0);
  sqlcatLob alob[1] = {};
  SQLUINTEGER ulFetched = 0;
  SQLHENV henv = 0;
  SQLHDBC hdbc = 0;
  SQLHSTMT hstmt = 0;
  ASSERT_EQ(0, sqlcatInitExportSelectDB2(ptask, ilFixed, nullptr, alob, nullptr, &ulFetched, &henv, &hdbc, &hstmt,
                                         vRow.data() + 8));
  EXPECT_EQ(SQL_C_CLOB_LOCATOR, alob[0].sLocatorType);
  EXPECT_EQ(SQL_C_CHAR, alob[0].sDataType);
  EXPECT_EQ(2, alob[0].iColumn);
  std::vector<char> vBuffer(SQLCAT_LOB_PIECE + 1);
  const std::string strCallLog = strRoot + "/calls.log";
  setenv("ZAVDB2_CALLLOG", strCallLog.c_str(), 1);

  // first row: the 20000 bytes, read in three pieces
  ASSERT_EQ(SQL_SUCCESS, SQLFetch(hstmt));
  ASSERT_EQ(0, sqlcatExtractionFichierLOB(nullptr, hdbc, alob, 1, pwriteLob, vBuffer.data(), SQLCAT_LOB_PIECE));
  const std::string strName = _charText(pwriteLob->pcharLobName);
  const std::string strRef = boLls ? strName + ".0.20000/" : strName;
  ASSERT_EQ(static_cast<int32_t>(strRef.size()), *alob[0].piIndicator);
  EXPECT_EQ(strRef, std::string(alob[0].pcLocator, strRef.size()));
  EXPECT_EQ(20000u, obyteGetLE32(reinterpret_cast<unsigned char *>(alob[0].pcLocator) + strRef.size()));

  // second row: a NULL LOB stays null, with location specifiers or without
  ASSERT_EQ(SQL_SUCCESS, SQLFetch(hstmt));
  ASSERT_EQ(0, sqlcatExtractionFichierLOB(nullptr, hdbc, alob, 1, pwriteLob, vBuffer.data(), SQLCAT_LOB_PIECE));
  EXPECT_EQ(SQL_NULL_DATA, *alob[0].piIndicator);
  EXPECT_EQ('\0', alob[0].pcLocator[0]);
  unsetenv("ZAVDB2_CALLLOG");
  ASSERT_EQ(0, writeFlush(pwriteLob));
  ASSERT_EQ(0, writeClose(pwriteLob));
  std::vector<unsigned char> vFile = zavtestReadFile(strName);
  EXPECT_EQ(strDoc, std::string(vFile.begin(), vFile.end()));

  // pieces of 8192, 8192 and 3616 bytes
  std::vector<unsigned char> vLog = zavtestReadFile(strCallLog);
  std::string strLog(vLog.begin(), vLog.end());
  int iPieces = 0;
  for (size_t at = strLog.find("SQLGetSubString"); at != std::string::npos; at = strLog.find("SQLGetSubString", at + 1))
    iPieces++;
  EXPECT_EQ(3, iPieces) << strLog;
  EXPECT_NE(std::string::npos, strLog.find("3616")) << strLog;
  Release(henv, hdbc, hstmt);
}

TEST_P(SqlcatDb2Lob, AFailedPieceEndsTheExtractionWithItsDiagnostics)
{
  const std::string strSelect = "SELECT ID, DOC FROM TEST.LOBS ORDER BY ID";
  ASSERT_EQ(0, Describe(strSelect));
  std::vector<int32_t> vOffsets;
  int32_t ilFixed = 0, ilVariable = 0;
  Layout(&vOffsets, &ilFixed, &ilVariable);
  UseAsSelect(strSelect);
  std::vector<char> vRow(static_cast<size_t>(ilFixed + ilVariable + 8), 0);
  sqlcatLob alob[1] = {};
  SQLUINTEGER ulFetched = 0;
  SQLHENV henv = 0;
  SQLHDBC hdbc = 0;
  SQLHSTMT hstmt = 0;
  ASSERT_EQ(0, sqlcatInitExportSelectDB2(ptask, ilFixed, nullptr, alob, nullptr, &ulFetched, &henv, &hdbc, &hstmt,
                                         vRow.data() + 8));
  ASSERT_EQ(SQL_SUCCESS, SQLFetch(hstmt));
  std::vector<char> vBuffer(SQLCAT_LOB_PIECE + 1);
  setenv("ZAVDB2_FAIL", "SQLGetSubString=-1,58004,-901,SQL0901N injected", 1);
  int rc = 0;
  std::vector<std::string> vMsgs = zavtestMessages([&] {
    rc = sqlcatExtractionFichierLOB(nullptr, hdbc, alob, 1, pwriteLob, vBuffer.data(), SQLCAT_LOB_PIECE);
  });
  unsetenv("ZAVDB2_FAIL");
  EXPECT_EQ(SQLCAT_RC_DB2, rc);
  EXPECT_EQ((std::vector<std::string>{"ZORU306E DB2 ERROR: SQL0901N injected\n"}), vMsgs);
  Release(henv, hdbc, hstmt);
}

INSTANTIATE_TEST_SUITE_P(LocationSpecifiers, SqlcatDb2Lob, ::testing::Bool());

}  // namespace
