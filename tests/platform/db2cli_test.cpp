// The DB2 stand-in answers CLI and administrative calls from its SQLite
// stores: catalogue queries with parameter markers, blank-padded CHAR,
// NULL indicators, DECIMAL as text and packed, diagnostics after failures,
// bulk inserts in one transaction, directory scans, quiesce registrations,
// authorities, failure injection and the call log.
#include "platform/db2admin.h"
#include "platform/db2cli.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

class StandIn : public ::testing::Test {
 protected:
  void SetUp() override
  {
    char acTemplate[] = "/tmp/zavdb2XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(acTemplate));
    strRoot = acTemplate;
    setenv("DB2INSTANCE", "zavinst", 1);
    setenv("ZAVDB2_INSTHOME", (strRoot + "/home").c_str(), 1);
    unsetenv("ZAVDB2_FAIL");
    unsetenv("ZAVDB2_CALLLOG");
    std::string strErr;
    ASSERT_EQ(0, db2adminCreateInstance({"0 hosta.example.com 0", "2 hostb 1"}, &strErr)) << strErr;
    ASSERT_EQ(0, db2adminAddUser("alice", "secret", "dbagrp", &strErr)) << strErr;
    ASSERT_EQ(0, db2adminAddUser("bob", "pw", "", &strErr)) << strErr;
    ASSERT_EQ(0, db2adminCreateDatabase("SAMPLE", strRoot + "/data", 819, 1, &strErr)) << strErr;
    ASSERT_EQ(0, db2adminCreateTablespace("SAMPLE", "USERSPACE1", 2, 'D', 'A', 32, 4096, &strErr)) << strErr;
    ASSERT_EQ(0, db2adminCreateTablespace("SAMPLE", "SYSCATSPACE", 0, 'S', 'A', 32, 4096, &strErr)) << strErr;
    ASSERT_EQ(0, db2adminCreateTable("SAMPLE", "TEST", "EMP", "USERSPACE1", "", 4,
                                     {{"ID", "INTEGER", false, "", -1},
                                      {"NAME", "CHAR(8)", true, "", -1},
                                      {"SALARY", "DECIMAL(7,2)", true, "", -1},
                                      {"NOTE", "CLOB(1K)", true, "", -1}},
                                     &strErr))
        << strErr;
    ASSERT_EQ(0, db2adminExecute("SAMPLE",
                                 "INSERT INTO TEST.EMP VALUES(1, 'ANN', '1234.50', 'hello lob');"
                                 "INSERT INTO TEST.EMP VALUES(2, NULL, '-0.07', NULL);",
                                 &strErr))
        << strErr;
    ASSERT_EQ(0, db2adminGrantDbadm("SAMPLE", "dbagrp", 'G', &strErr)) << strErr;
  }
  void TearDown() override
  {
    unsetenv("ZAVDB2_FAIL");
    unsetenv("ZAVDB2_CALLLOG");
    fs::remove_all(strRoot);
  }
  void Connect(SQLHENV *phenv, SQLHDBC *phdbc, const char *pcUser = nullptr, const char *pcPassword = nullptr)
  {
    ASSERT_EQ(SQL_SUCCESS, SQLAllocHandle(SQL_HANDLE_ENV, 0, phenv));
    ASSERT_EQ(SQL_SUCCESS, SQLAllocHandle(SQL_HANDLE_DBC, *phenv, phdbc));
    ASSERT_EQ(SQL_SUCCESS, SQLConnect(*phdbc, (SQLCHAR *)"sample", SQL_NTS, (SQLCHAR *)pcUser, pcUser ? SQL_NTS : 0,
                                      (SQLCHAR *)pcPassword, pcPassword ? SQL_NTS : 0));
  }
  void Disconnect(SQLHENV henv, SQLHDBC hdbc)
  {
    EXPECT_EQ(SQL_SUCCESS, SQLDisconnect(hdbc));
    EXPECT_EQ(SQL_SUCCESS, SQLFreeHandle(SQL_HANDLE_DBC, hdbc));
    EXPECT_EQ(SQL_SUCCESS, SQLFreeHandle(SQL_HANDLE_ENV, henv));
  }
  std::string strRoot;
};

TEST_F(StandIn, CatalogueQueryWithParameterMarkers)
{
  SQLHENV henv;
  SQLHDBC hdbc;
  SQLHSTMT hstmt;
  Connect(&henv, &hdbc);
  ASSERT_EQ(SQL_SUCCESS, SQLAllocHandle(SQL_HANDLE_STMT, hdbc, &hstmt));
  ASSERT_EQ(SQL_SUCCESS, SQLPrepare(hstmt, (SQLCHAR *)"SELECT TBSPACE, TYPE FROM SYSIBM.SYSTABLES WHERE CREATOR = ? "
                                                      "AND NAME = ?", SQL_NTS));
  char acCreator[129] = "TEST", acName[129] = "EMP";
  ASSERT_EQ(SQL_SUCCESS, SQLBindParameter(hstmt, 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_CHAR, 129, 0, acCreator, 129,
                                          nullptr));
  ASSERT_EQ(SQL_SUCCESS, SQLBindParameter(hstmt, 2, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_CHAR, 129, 0, acName, 129,
                                          nullptr));
  ASSERT_EQ(SQL_SUCCESS, SQLExecute(hstmt));
  char acTbspace[19], acType[2];
  SQLINTEGER iInd1 = 0, iInd2 = 0;
  SQLBindCol(hstmt, 1, SQL_C_CHAR, acTbspace, 19, &iInd1);
  SQLBindCol(hstmt, 2, SQL_C_CHAR, acType, 2, &iInd2);
  ASSERT_EQ(SQL_SUCCESS, SQLFetch(hstmt));
  EXPECT_STREQ("USERSPACE1", acTbspace);
  EXPECT_EQ(10, iInd1);
  EXPECT_STREQ("T", acType);
  EXPECT_EQ(SQL_NO_DATA_FOUND, SQLFetch(hstmt));

  // The column query as the catalogue reader sends it, DEFAULT included;
  // COLTYPE is CHAR(8), blank-padded.
  ASSERT_EQ(SQL_SUCCESS, SQLPrepare(hstmt, (SQLCHAR *)"SELECT NAME, COLTYPE, DEFAULT, CODEPAGE FROM SYSIBM.SYSCOLUMNS "
                                                      "WHERE TBCREATOR = ? AND TBNAME = ? ORDER BY TBNAME, COLNO ASC",
                                    SQL_NTS));
  SQLBindParameter(hstmt, 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_CHAR, 129, 0, acCreator, 129, nullptr);
  SQLBindParameter(hstmt, 2, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_CHAR, 129, 0, acName, 129, nullptr);
  ASSERT_EQ(SQL_SUCCESS, SQLExecute(hstmt));
  char acCol[129], acColtype[9], acDefault[255];
  int16_t sCodepage = 0;
  SQLINTEGER iIndDef = 0;
  SQLBindCol(hstmt, 1, SQL_C_CHAR, acCol, 129, nullptr);
  SQLBindCol(hstmt, 2, SQL_C_CHAR, acColtype, 9, nullptr);
  SQLBindCol(hstmt, 3, SQL_C_CHAR, acDefault, 255, &iIndDef);
  SQLBindCol(hstmt, 4, SQL_C_SHORT, &sCodepage, 0, nullptr);
  const char *apcExpected[][2] = {{"ID", "INTEGER "}, {"NAME", "CHAR    "}, {"SALARY", "DECIMAL "}, {"NOTE", "CLOB    "}};
  for (auto &row : apcExpected) {
    ASSERT_EQ(SQL_SUCCESS, SQLFetch(hstmt)) << row[0];
    EXPECT_STREQ(row[0], acCol);
    EXPECT_EQ(std::string(row[1]).substr(0, 8), acColtype);
    EXPECT_EQ(SQL_NULL_DATA, iIndDef);
  }
  EXPECT_EQ(819, sCodepage);  // the CLOB takes the database code page
  EXPECT_EQ(SQL_NO_DATA_FOUND, SQLFetch(hstmt));
  SQLFreeHandle(SQL_HANDLE_STMT, hstmt);
  Disconnect(henv, hdbc);
}

/* A column's CODEPAGE and DBCSCODEPG follow its database: in a Unicode
   database (1208) character data has 1208 and graphic data 1200, both with
   the graphic code page 1200 beside; a single-byte database has no graphic
   code page. */
TEST_F(StandIn, CatalogueCodePagesOfCharacterAndGraphicColumns)
{
  std::string strErr;
  ASSERT_EQ(0, db2adminCreateDatabase("UNIDB", strRoot + "/data", 1208, 1, &strErr)) << strErr;
  ASSERT_EQ(0, db2adminCreateTablespace("UNIDB", "USERSPACE1", 2, 'S', 'A', 32, 4096, &strErr)) << strErr;
  const struct {
    const char *pcName, *pcType;
    int iUni, iUniDbcs, iSbcs, iSbcsDbcs;   /* CODEPAGE, DBCSCODEPG in UNIDB and in SAMPLE */
  } aCases[] = {{"C", "CHAR(4)", 1208, 1200, 819, 0},
                {"V", "VARCHAR(9)", 1208, 1200, 819, 0},
                {"L", "LONG VARCHAR", 1208, 1200, 819, 0},
                {"CL", "CLOB(1K)", 1208, 1200, 819, 0},
                {"G", "GRAPHIC(3)", 1200, 1200, 0, 0},
                {"VG", "VARGRAPHIC(9)", 1200, 1200, 0, 0},
                {"LG", "LONG VARGRAPHIC", 1200, 1200, 0, 0},
                {"DC", "DBCLOB(1K)", 1200, 1200, 0, 0},
                {"I", "INTEGER", 0, 0, 0, 0}};
  std::vector<db2adminColumn> vCols;
  for (const auto &c : aCases) vCols.push_back({c.pcName, c.pcType, true, "", -1});
  ASSERT_EQ(0, db2adminCreateTable("UNIDB", "TEST", "CP", "USERSPACE1", "", 5, vCols, &strErr)) << strErr;
  ASSERT_EQ(0, db2adminCreateTable("SAMPLE", "TEST", "CP", "USERSPACE1", "", 5, vCols, &strErr)) << strErr;
  for (const char *pcDb : {"unidb", "sample"}) {
    SQLHENV henv;
    SQLHDBC hdbc;
    SQLHSTMT hstmt;
    ASSERT_EQ(SQL_SUCCESS, SQLAllocHandle(SQL_HANDLE_ENV, 0, &henv));
    ASSERT_EQ(SQL_SUCCESS, SQLAllocHandle(SQL_HANDLE_DBC, henv, &hdbc));
    ASSERT_EQ(SQL_SUCCESS, SQLConnect(hdbc, (SQLCHAR *)pcDb, SQL_NTS, nullptr, 0, nullptr, 0));
    ASSERT_EQ(SQL_SUCCESS, SQLAllocHandle(SQL_HANDLE_STMT, hdbc, &hstmt));
    ASSERT_EQ(SQL_SUCCESS, SQLPrepare(hstmt, (SQLCHAR *)"SELECT CODEPAGE, DBCSCODEPG FROM SYSIBM.SYSCOLUMNS WHERE "
                                                      "TBCREATOR = 'TEST' AND TBNAME = 'CP' ORDER BY COLNO",
                                      SQL_NTS));
    ASSERT_EQ(SQL_SUCCESS, SQLExecute(hstmt));
    int16_t sCodepage = 0, sDbcs = 0;
    SQLBindCol(hstmt, 1, SQL_C_SHORT, &sCodepage, 0, nullptr);
    SQLBindCol(hstmt, 2, SQL_C_SHORT, &sDbcs, 0, nullptr);
    bool boUni = std::string(pcDb) == "unidb";
    for (const auto &c : aCases) {
      ASSERT_EQ(SQL_SUCCESS, SQLFetch(hstmt)) << pcDb << " " << c.pcName;
      EXPECT_EQ(sCodepage, boUni ? c.iUni : c.iSbcs) << pcDb << " " << c.pcName;
      EXPECT_EQ(sDbcs, boUni ? c.iUniDbcs : c.iSbcsDbcs) << pcDb << " " << c.pcName;
    }
    SQLFreeHandle(SQL_HANDLE_STMT, hstmt);
    Disconnect(henv, hdbc);
  }
}

TEST_F(StandIn, UserTableValuesNullsDecimalsAndLocators)
{
  SQLHENV henv;
  SQLHDBC hdbc;
  SQLHSTMT hstmt;
  Connect(&henv, &hdbc);
  ASSERT_EQ(SQL_SUCCESS, SQLSetEnvAttr(henv, SQL_ATTR_OUTPUT_NTS, (SQLPOINTER)0, 0));
  ASSERT_EQ(SQL_SUCCESS, SQLAllocHandle(SQL_HANDLE_STMT, hdbc, &hstmt));
  ASSERT_EQ(SQL_SUCCESS, SQLPrepare(hstmt, (SQLCHAR *)"SELECT * FROM TEST.EMP ORDER BY ID", SQL_NTS));
  SQLSMALLINT sCols = 0;
  ASSERT_EQ(SQL_SUCCESS, SQLNumResultCols(hstmt, &sCols));
  EXPECT_EQ(4, sCols);
  struct {
    SQLSMALLINT sType;
    SQLUINTEGER uiSize;
    SQLSMALLINT sScale, sNullable;
  } aExpected[] = {{SQL_INTEGER, 10, 0, SQL_NO_NULLS}, {SQL_CHAR, 8, 0, SQL_NULLABLE},
                   {SQL_DECIMAL, 7, 2, SQL_NULLABLE}, {SQL_CLOB, 1024, 0, SQL_NULLABLE}};
  for (int i = 0; i < 4; i++) {
    SQLCHAR acName[129];
    SQLSMALLINT sLen, sType, sScale, sNullable;
    SQLUINTEGER uiSize;
    ASSERT_EQ(SQL_SUCCESS, SQLDescribeCol(hstmt, i + 1, acName, 129, &sLen, &sType, &uiSize, &sScale, &sNullable));
    EXPECT_EQ(aExpected[i].sType, sType) << i;
    EXPECT_EQ(aExpected[i].uiSize, uiSize) << i;
    EXPECT_EQ(aExpected[i].sScale, sScale) << i;
    EXPECT_EQ(aExpected[i].sNullable, sNullable) << i;
  }
  int32_t iOctets = 0;
  ASSERT_EQ(SQL_SUCCESS, SQLColAttribute(hstmt, 3, SQL_DESC_OCTET_LENGTH, nullptr, 0, nullptr, &iOctets));
  EXPECT_EQ(4, iOctets);

  int32_t iId = 0;
  char acName[12];
  unsigned char aucPacked[9];
  SQLINTEGER iLoc = 0, iIndName = 0, iIndDec = 0, iIndLoc = 0;
  std::memset(acName, '#', sizeof acName);
  SQLBindCol(hstmt, 1, SQL_C_LONG, &iId, 0, nullptr);
  SQLBindCol(hstmt, 2, SQL_C_CHAR, acName, 12, &iIndName);
  SQLBindCol(hstmt, 3, SQL_C_BINARY, aucPacked, 9, &iIndDec);
  SQLBindCol(hstmt, 4, SQL_C_CLOB_LOCATOR, &iLoc, 4, &iIndLoc);
  SQLUINTEGER uiFetched = 0;
  ASSERT_EQ(SQL_SUCCESS, SQLSetStmtAttr(hstmt, SQL_ATTR_ROWS_FETCHED_PTR, &uiFetched, 0));
  ASSERT_EQ(SQL_SUCCESS, SQLExecute(hstmt));
  ASSERT_EQ(SQL_SUCCESS, SQLFetch(hstmt));
  EXPECT_EQ(1u, uiFetched);
  EXPECT_EQ(1, iId);
  EXPECT_EQ(8, iIndName);
  EXPECT_EQ(0, std::memcmp(acName, "ANN     ##", 10));  // padded, not terminated
  EXPECT_EQ(4, iIndDec);
  EXPECT_EQ(0, std::memcmp(aucPacked, "\x01\x23\x45\x0C", 4));
  SQLINTEGER iLobLen = 0;
  ASSERT_EQ(SQL_SUCCESS, SQLGetLength(hstmt, SQL_C_CLOB_LOCATOR, iLoc, &iLobLen, nullptr));
  EXPECT_EQ(9, iLobLen);
  char acPiece[8];
  SQLINTEGER iPieceLen = 0;
  ASSERT_EQ(SQL_SUCCESS, SQLGetSubString(hstmt, SQL_C_CLOB_LOCATOR, iLoc, 7, 5, SQL_C_CHAR, acPiece, 8, &iPieceLen,
                                         nullptr));
  EXPECT_STREQ("lob", acPiece);
  EXPECT_EQ(3, iPieceLen);
  EXPECT_EQ(SQL_NO_DATA_FOUND, SQLGetSubString(hstmt, SQL_C_CLOB_LOCATOR, iLoc, 10, 5, SQL_C_CHAR, acPiece, 8,
                                               &iPieceLen, nullptr));
  ASSERT_EQ(SQL_SUCCESS, SQLFetch(hstmt));
  EXPECT_EQ(SQL_NULL_DATA, iIndName);
  EXPECT_EQ(SQL_NULL_DATA, iIndLoc);
  EXPECT_EQ(0, std::memcmp(aucPacked, "\x00\x00\x00\x7D", 4));  // -0.07
  EXPECT_EQ(SQL_NO_DATA_FOUND, SQLFetch(hstmt));
  EXPECT_EQ(0u, uiFetched);
  SQLFreeHandle(SQL_HANDLE_STMT, hstmt);
  Disconnect(henv, hdbc);
}

/* Rows inserted in bulk read back as the rows written as literals, and a
   bulk insert that fails leaves none of its rows behind. */
TEST_F(StandIn, BulkInsertedRowsReadAsLiteralOnes)
{
  using V = db2adminValue;
  auto insert = [](const std::vector<std::vector<V>> &vRows, std::string *pstrErr) {
    size_t i = 0;
    return db2adminInsertRows("SAMPLE", "TEST", "EMP", 4,
                              [&](std::vector<V> &v) {
                                if (i == vRows.size()) return false;
                                v = vRows[i++];
                                return true;
                              },
                              pstrErr);
  };
  std::string strErr;
  ASSERT_EQ(0, insert({{{V::TEXT, "11"}, {V::TEXT, "ANN"}, {V::TEXT, "1234.50"}, {V::TEXT, "hello lob"}},
                       {{V::TEXT, "12"}, {}, {V::TEXT, "-0.07"}, {}}},
                      &strErr))
      << strErr;
  EXPECT_NE(0, insert({{{V::TEXT, "13"}, {}, {}, {}}, {{V::TEXT, "14"}}}, &strErr));
  EXPECT_NE(std::string::npos, strErr.find("1 values for 4 columns")) << strErr;

  SQLHENV henv;
  SQLHDBC hdbc;
  SQLHSTMT hstmt;
  Connect(&henv, &hdbc);
  ASSERT_EQ(SQL_SUCCESS, SQLAllocHandle(SQL_HANDLE_STMT, hdbc, &hstmt));
  ASSERT_EQ(SQL_SUCCESS, SQLPrepare(hstmt, (SQLCHAR *)"SELECT * FROM TEST.EMP ORDER BY ID", SQL_NTS));
  int32_t iId = 0;
  char acName[12];
  unsigned char aucPacked[9];
  SQLINTEGER iLoc = 0, iIndName = 0, iIndDec = 0, iIndLoc = 0;
  SQLBindCol(hstmt, 1, SQL_C_LONG, &iId, 0, nullptr);
  SQLBindCol(hstmt, 2, SQL_C_CHAR, acName, 12, &iIndName);
  SQLBindCol(hstmt, 3, SQL_C_BINARY, aucPacked, 9, &iIndDec);
  SQLBindCol(hstmt, 4, SQL_C_CLOB_LOCATOR, &iLoc, 4, &iIndLoc);
  ASSERT_EQ(SQL_SUCCESS, SQLExecute(hstmt));
  /* each row as text: id, name, packed decimal bytes, LOB length */
  std::vector<std::vector<std::string>> vGot;
  while (SQLFetch(hstmt) == SQL_SUCCESS) {
    SQLINTEGER iLobLen = -1;
    if (iIndLoc != SQL_NULL_DATA) {
      EXPECT_EQ(SQL_SUCCESS, SQLGetLength(hstmt, SQL_C_CLOB_LOCATOR, iLoc, &iLobLen, nullptr));
    }
    vGot.push_back({std::to_string(iId), iIndName == SQL_NULL_DATA ? "<null>" : std::string(acName, 8),
                    iIndDec == SQL_NULL_DATA ? "<null>" : std::string(reinterpret_cast<char *>(aucPacked), 4),
                    std::to_string(iLobLen)});
  }
  ASSERT_EQ(4u, vGot.size());
  for (size_t i = 0; i < 2; i++) {
    SCOPED_TRACE(i);
    EXPECT_EQ(std::to_string(i + 11), vGot[i + 2][0]);
    for (size_t c = 1; c < 4; c++) EXPECT_EQ(vGot[i][c], vGot[i + 2][c]) << c;
  }
  SQLFreeHandle(SQL_HANDLE_STMT, hstmt);
  Disconnect(henv, hdbc);
}

TEST_F(StandIn, FailuresLeaveDiagnosticRecords)
{
  SQLHENV henv;
  SQLHDBC hdbc;
  SQLHSTMT hstmt;
  ASSERT_EQ(SQL_SUCCESS, SQLAllocHandle(SQL_HANDLE_ENV, 0, &henv));
  ASSERT_EQ(SQL_SUCCESS, SQLAllocHandle(SQL_HANDLE_DBC, henv, &hdbc));
  struct {
    const char *pcDb, *pcUser, *pcPassword, *pcState;
    SQLINTEGER iNative;
  } aCases[] = {{"NODB", nullptr, nullptr, "08001", -1013},
                {"SAMPLE", "alice", "wrong", "08001", -30082},
                {"SAMPLE", "nobody", "x", "08001", -30082}};
  for (auto &c : aCases) {
    EXPECT_EQ(SQL_ERROR, SQLConnect(hdbc, (SQLCHAR *)c.pcDb, SQL_NTS, (SQLCHAR *)c.pcUser, SQL_NTS,
                                    (SQLCHAR *)c.pcPassword, SQL_NTS));
    SQLCHAR acState[6], acText[1025];
    SQLINTEGER iNative = 0;
    SQLSMALLINT sLen = 0;
    ASSERT_EQ(SQL_SUCCESS, SQLGetDiagRec(SQL_HANDLE_DBC, hdbc, 1, acState, &iNative, acText, 1025, &sLen));
    EXPECT_STREQ(c.pcState, (char *)acState);
    EXPECT_EQ(c.iNative, iNative);
    EXPECT_EQ(SQL_NO_DATA_FOUND, SQLGetDiagRec(SQL_HANDLE_DBC, hdbc, 2, acState, &iNative, acText, 1025, &sLen));
  }
  ASSERT_EQ(SQL_SUCCESS, SQLConnect(hdbc, (SQLCHAR *)"SAMPLE", SQL_NTS, (SQLCHAR *)"alice", SQL_NTS,
                                    (SQLCHAR *)"secret", SQL_NTS));
  char acDsn[255];
  SQLSMALLINT sDsnLen = 0;
  ASSERT_EQ(SQL_SUCCESS, SQLGetInfo(hdbc, SQL_DATA_SOURCE_NAME, acDsn, 255, &sDsnLen));
  EXPECT_STREQ("SAMPLE", acDsn);
  ASSERT_EQ(SQL_SUCCESS, SQLAllocHandle(SQL_HANDLE_STMT, hdbc, &hstmt));
  EXPECT_EQ(SQL_ERROR, SQLPrepare(hstmt, (SQLCHAR *)"SELECT * FROM TEST.NOSUCH", SQL_NTS));
  SQLCHAR acState[6], acText[1025];
  SQLINTEGER iNative = 0;
  ASSERT_EQ(SQL_SUCCESS, SQLGetDiagRec(SQL_HANDLE_STMT, hstmt, 1, acState, &iNative, acText, 1025, nullptr));
  EXPECT_STREQ("42704", (char *)acState);
  EXPECT_EQ(-204, iNative);
  EXPECT_NE(nullptr, std::strstr((char *)acText, "SQL0204N"));
  EXPECT_EQ(SQL_ERROR, SQLExecute(hstmt));  // nothing prepared
  SQLFreeHandle(SQL_HANDLE_STMT, hstmt);
  Disconnect(henv, hdbc);
}

TEST_F(StandIn, InjectedFailuresAndCallLog)
{
  std::string strLog = strRoot + "/calls.log";
  setenv("ZAVDB2_CALLLOG", strLog.c_str(), 1);
  setenv("ZAVDB2_FAIL", "SQLConnect#1=-1,08001,-30081,communication error;sqluvtun=-2310,,,busy", 1);
  SQLHENV henv;
  SQLHDBC hdbc;
  ASSERT_EQ(SQL_SUCCESS, SQLAllocHandle(SQL_HANDLE_ENV, 0, &henv));
  ASSERT_EQ(SQL_SUCCESS, SQLAllocHandle(SQL_HANDLE_DBC, henv, &hdbc));
  // Call counts are per process: a forked child starts from zero, so its
  // first connect fails and its second succeeds.
  pid_t pid = fork();
  ASSERT_NE(-1, pid);
  if (pid == 0) {
    SQLHENV henvChild;
    SQLHDBC hdbcChild;
    SQLAllocHandle(SQL_HANDLE_ENV, 0, &henvChild);
    SQLAllocHandle(SQL_HANDLE_DBC, henvChild, &hdbcChild);
    if (SQLConnect(hdbcChild, (SQLCHAR *)"SAMPLE", SQL_NTS, nullptr, 0, nullptr, 0) != SQL_ERROR) _exit(1);
    SQLCHAR acState[6], acText[1025];
    SQLINTEGER iNative = 0;
    if (SQLGetDiagRec(SQL_HANDLE_DBC, hdbcChild, 1, acState, &iNative, acText, 1025, nullptr) != SQL_SUCCESS ||
        iNative != -30081 || std::strcmp((char *)acText, "communication error") != 0 ||
        std::strcmp((char *)acState, "08001") != 0)
      _exit(2);
    if (SQLConnect(hdbcChild, (SQLCHAR *)"SAMPLE", SQL_NTS, nullptr, 0, nullptr, 0) != SQL_SUCCESS) _exit(3);
    _exit(0);
  }
  int iStatus = 0;
  ASSERT_EQ(pid, waitpid(pid, &iStatus, 0));
  ASSERT_TRUE(WIFEXITED(iStatus));
  EXPECT_EQ(0, WEXITSTATUS(iStatus));
  setenv("ZAVDB2_FAIL", "sqluvtun=-2310,,,busy", 1);
  ASSERT_EQ(SQL_SUCCESS, SQLConnect(hdbc, (SQLCHAR *)"SAMPLE", SQL_NTS, nullptr, 0, nullptr, 0));
  struct sqlca ca;
  sqluvtun("TEST.\"EMP\"", 0, nullptr, nullptr, nullptr, &ca);
  EXPECT_EQ(-2310, ca.sqlcode);
  char acMsg[1024];
  ASSERT_GT(sqlaintp_api(acMsg, 1024, 80, "db2sql.mo", &ca), 0);
  EXPECT_STREQ("SQL2310N  busy\n", acMsg);
  Disconnect(henv, hdbc);
  std::ifstream in(strLog);
  std::string strAll((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(std::string::npos, strAll.find(std::to_string(pid) + " "));
  EXPECT_NE(std::string::npos, strAll.find(" SQLConnect " + std::to_string(hdbc) + " SAMPLE - -> 0"));
  EXPECT_NE(std::string::npos, strAll.find("sqluvtun TEST.\"EMP\" 0 -> -2310"));
}

TEST_F(StandIn, QuiesceRegistrationsAndAuthorities)
{
  SQLHENV henv;
  SQLHDBC hdbc;
  Connect(&henv, &hdbc, "alice", "secret");
  struct sqlca ca;
  sqluvtun("TEST.\"EMP\"", 0, nullptr, nullptr, nullptr, &ca);
  EXPECT_EQ(0, ca.sqlcode);
  sqluvtun("TEST.\"EMP\"", 2, nullptr, nullptr, nullptr, &ca);
  EXPECT_EQ(0, ca.sqlcode);
  sqluvqdp("TEST.\"EMP\"", 9, nullptr, &ca);
  EXPECT_EQ(0, ca.sqlcode);
  sqluvtun("TEST.\"NOPE\"", 0, nullptr, nullptr, nullptr, &ca);
  EXPECT_EQ(-204, ca.sqlcode);

  struct sql_authorizations auth;
  std::memset(&auth, 0, sizeof auth);
  auth.sql_authorizations_len = 42;
  sqluadau(&auth, &ca);
  ASSERT_EQ(0, ca.sqlcode);
  EXPECT_EQ(0, auth.asWords[0]);  // SYSADM directly
  EXPECT_EQ(0, auth.asWords[1]);  // DBADM directly
  EXPECT_EQ(1, auth.asWords[6]);  // DBADM through group dbagrp
  Disconnect(henv, hdbc);

  Connect(&henv, &hdbc, "bob", "pw");
  std::memset(&auth, 0, sizeof auth);
  auth.sql_authorizations_len = 42;
  sqluadau(&auth, &ca);
  ASSERT_EQ(0, ca.sqlcode);
  for (int i = 0; i < 20; i++) EXPECT_EQ(0, auth.asWords[i]) << i;
  Disconnect(henv, hdbc);
}

TEST_F(StandIn, DirectoryScansConfigurationAndAttach)
{
  struct sqlca ca;
  uint16_t usHandle = 0, usCount = 0;
  sqledosd_api(nullptr, &usHandle, &usCount, &ca);
  ASSERT_EQ(0, ca.sqlcode);
  ASSERT_EQ(1, usCount);
  struct sqledinfo *pEntry = nullptr;
  sqledgne_api(usHandle, &pEntry, &ca);
  ASSERT_EQ(0, ca.sqlcode);
  EXPECT_EQ(0, std::memcmp(pEntry->aucBytes + SQLED_OFF_ALIAS, "SAMPLE  ", 8));
  EXPECT_EQ('0', pEntry->aucBytes[SQLED_OFF_TYPE]);
  std::string strDrive(reinterpret_cast<char *>(pEntry->aucBytes + SQLED_OFF_DRIVE), 215);
  strDrive.erase(strDrive.find(' '));
  EXPECT_EQ(strRoot + "/data", strDrive);
  sqledgne_api(usHandle, &pEntry, &ca);
  EXPECT_EQ(1014, ca.sqlcode);
  sqledcls_api(usHandle, &ca);

  sqledosd_api(strDrive.c_str(), &usHandle, &usCount, &ca);
  ASSERT_EQ(0, ca.sqlcode);
  sqledgne_api(usHandle, &pEntry, &ca);
  EXPECT_EQ(0, std::memcmp(pEntry->aucBytes + SQLED_OFF_INTNAME, "SQL00001", 8));
  EXPECT_EQ('1', pEntry->aucBytes[SQLED_OFF_TYPE]);
  sqledcls_api(usHandle, &ca);
  sqledosd_api("/no/such/drive", &usHandle, &usCount, &ca);
  EXPECT_EQ(-1031, ca.sqlcode);

  char acCodepage[2], acTerritory[2];
  struct sqlfupd aItems[2] = {{SQLF_DBTN_CODEPAGE, acCodepage}, {SQLF_DBTN_TERRITORY_CODE, acTerritory}};
  sqleatin_api("zavinst", nullptr, nullptr, &ca);
  EXPECT_EQ(0, ca.sqlcode);
  sqleatin_api("other", nullptr, nullptr, &ca);
  EXPECT_NE(0, ca.sqlcode);
  sqlfxdb("SAMPLE", 2, aItems, &ca);
  ASSERT_EQ(0, ca.sqlcode);
  uint16_t usCodepage;
  std::memcpy(&usCodepage, acCodepage, 2);
  EXPECT_EQ(819, usCodepage);
  sqlfxdb("NODB", 2, aItems, &ca);
  EXPECT_EQ(-1013, ca.sqlcode);
}

TEST_F(StandIn, NoInstanceNoEnvironment)
{
  unsetenv("ZAVDB2_INSTHOME");
  setenv("DB2INSTANCE", "no_such_user_zav", 1);
  SQLHENV henv = 7;
  EXPECT_EQ(SQL_ERROR, SQLAllocHandle(SQL_HANDLE_ENV, 0, &henv));
  EXPECT_EQ(0, henv);
}

}  // namespace
