// The stand-in answers SELECTs as DB2 does: every select-list item is
// described with DB2's result type (precision, scale, length, nullability,
// unnamed when it is no bare column) and computed as DB2 computes it, the
// scalar functions of the control-file guide included; WHERE and ORDER BY
// with such expressions; DB2's errors for overflow, division by zero and
// undefined names; unqualified table names in the user's schema.
#include "platform/db2admin.h"
#include "platform/db2cli.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

/* What SQLDescribeCol and SQLColAttribute tell of a result column. */
struct Described {
  SQLSMALLINT sType = 0;
  SQLUINTEGER uiSize = 0;
  SQLSMALLINT sScale = 0;
  SQLSMALLINT sNullable = 0;
  int32_t iUnnamed = 0;
};

const char *const NUL = "<null>";

class StandInSql : public ::testing::Test {
 protected:
  static void SetUpTestSuite()
  {
    char acTemplate[] = "/tmp/zavdb2selXXXXXX";
    ASSERT_NE(nullptr, mkdtemp(acTemplate));
    gstrRoot = acTemplate;
    setenv("DB2INSTANCE", "zavinst", 1);
    setenv("ZAVDB2_INSTHOME", (gstrRoot + "/home").c_str(), 1);
    unsetenv("ZAVDB2_FAIL");
    unsetenv("ZAVDB2_CALLLOG");
    std::string strErr;
    ASSERT_EQ(0, db2adminCreateInstance({"0 hosta 0"}, &strErr)) << strErr;
    ASSERT_EQ(0, db2adminAddUser("alice", "secret", "", &strErr)) << strErr;
    ASSERT_EQ(0, db2adminAddUser("bob", "pw", "", &strErr)) << strErr;
    ASSERT_EQ(0, db2adminCreateDatabase("SAMPLE", gstrRoot + "/data", 819, 1, &strErr)) << strErr;
    ASSERT_EQ(0, db2adminCreateTablespace("SAMPLE", "USERSPACE1", 2, 'D', 'A', 32, 4096, &strErr)) << strErr;
    ASSERT_EQ(0, db2adminCreateTable("SAMPLE", "TEST", "EMP", "USERSPACE1", "", 4,
                                     {{"ID", "INTEGER", false, "", -1},
                                      {"QTY", "SMALLINT", false, "", -1},
                                      {"NAME", "CHAR(8)", true, "", -1},
                                      {"SALARY", "DECIMAL(9,2)", true, "", -1},
                                      {"BONUS", "DECIMAL(9,2)", true, "", -1},
                                      {"HIRED", "DATE", true, "", -1},
                                      {"START", "TIME", true, "", -1},
                                      {"STAMP", "TIMESTAMP", true, "", -1},
                                      {"RATE", "DOUBLE", true, "", -1},
                                      {"BIG", "BIGINT", true, "", -1}},
                                     &strErr))
        << strErr;
    ASSERT_EQ(0, db2adminCreateTable("SAMPLE", "ALICE", "MINE", "USERSPACE1", "", 5,
                                     {{"ID", "INTEGER", false, "", -1}}, &strErr))
        << strErr;
    ASSERT_EQ(0, db2adminExecute("SAMPLE",
                                 "INSERT INTO TEST.EMP VALUES(1, 18, 'ANN', 52750.00, 1000.00, '1965-01-01', "
                                 "'08.00.00', '2004-03-15-10.20.30.123456', 4.5, 9000000000001);"
                                 "INSERT INTO TEST.EMP VALUES(2, 16, NULL, 40175.00, NULL, '2000-02-29', '23.59.59', "
                                 "'2000-02-29-23.59.59.999999', NULL, -1);"
                                 "INSERT INTO ALICE.MINE VALUES(7);",
                                 &strErr))
        << strErr;
  }
  static void TearDownTestSuite() { fs::remove_all(gstrRoot); }

  void SetUp() override
  {
    setenv("DB2INSTANCE", "zavinst", 1);
    setenv("ZAVDB2_INSTHOME", (gstrRoot + "/home").c_str(), 1);
  }

  /* Connects as the user (none: the process's own). */
  void connect(const char *pcUser = nullptr, const char *pcPassword = nullptr)
  {
    ASSERT_EQ(SQL_SUCCESS, SQLAllocHandle(SQL_HANDLE_ENV, 0, &henv));
    ASSERT_EQ(SQL_SUCCESS, SQLAllocHandle(SQL_HANDLE_DBC, henv, &hdbc));
    ASSERT_EQ(SQL_SUCCESS, SQLConnect(hdbc, (SQLCHAR *)"sample", SQL_NTS, (SQLCHAR *)pcUser, pcUser ? SQL_NTS : 0,
                                      (SQLCHAR *)pcPassword, pcPassword ? SQL_NTS : 0));
    ASSERT_EQ(SQL_SUCCESS, SQLAllocHandle(SQL_HANDLE_STMT, hdbc, &hstmt));
  }
  void TearDown() override
  {
    if (hdbc != 0) {
      SQLFreeHandle(SQL_HANDLE_STMT, hstmt);
      SQLDisconnect(hdbc);
      SQLFreeHandle(SQL_HANDLE_DBC, hdbc);
      SQLFreeHandle(SQL_HANDLE_ENV, henv);
    }
  }

  /* The first diagnostic record's text of the statement. */
  std::string diag()
  {
    SQLCHAR acState[6], acText[512];
    SQLINTEGER iNative = 0;
    SQLSMALLINT sLen = 0;
    if (SQLGetDiagRec(SQL_HANDLE_STMT, hstmt, 1, acState, &iNative, acText, sizeof acText, &sLen) != SQL_SUCCESS)
      return "";
    return reinterpret_cast<char *>(acText);
  }

  Described describe(int iColumn)
  {
    Described d;
    SQLCHAR acName[64];
    SQLSMALLINT sNameLen = 0;
    EXPECT_EQ(SQL_SUCCESS, SQLDescribeCol(hstmt, static_cast<SQLUSMALLINT>(iColumn), acName, sizeof acName, &sNameLen,
                                          &d.sType, &d.uiSize, &d.sScale, &d.sNullable));
    EXPECT_EQ(SQL_SUCCESS, SQLColAttribute(hstmt, static_cast<SQLUSMALLINT>(iColumn), SQL_DESC_UNNAMED, nullptr, 0,
                                           nullptr, &d.iUnnamed));
    return d;
  }

  /* Every row of column 1 as text (NUL for NULL); the statement must run. */
  std::vector<std::string> rows(const std::string &strSql, std::string *pstrError = nullptr)
  {
    std::vector<std::string> v;
    if (SQLPrepare(hstmt, (SQLCHAR *)strSql.c_str(), SQL_NTS) != SQL_SUCCESS ||
        SQLExecute(hstmt) != SQL_SUCCESS) {
      if (pstrError) *pstrError = diag();
      else ADD_FAILURE() << strSql << ": " << diag();
      return v;
    }
    char ac[128];
    SQLINTEGER iInd = 0;
    SQLBindCol(hstmt, 1, SQL_C_CHAR, ac, sizeof ac, &iInd);
    SQLRETURN rc;
    while ((rc = SQLFetch(hstmt)) == SQL_SUCCESS) v.push_back(iInd == SQL_NULL_DATA ? NUL : std::string(ac));
    if (rc != SQL_NO_DATA_FOUND) {
      if (pstrError) *pstrError = diag();
      else ADD_FAILURE() << strSql << ": " << diag();
    }
    return v;
  }

  static std::string gstrRoot;
  SQLHENV henv = 0;
  SQLHDBC hdbc = 0;
  SQLHSTMT hstmt = 0;
};

std::string StandInSql::gstrRoot;

}  // namespace

/* Each item of the guide's SQL: DB2's description and DB2's values for the two rows. */
TEST_F(StandInSql, ItemsAreDescribedAndComputedAsDb2DoesIt)
{
  connect();
  struct {
    const char *pcItem;
    SQLSMALLINT sType;
    SQLUINTEGER uiSize;
    SQLSMALLINT sScale;
    bool boNullable;
    const char *pcRow1;
    const char *pcRow2;
  } aCases[] = {
      {"SALARY * 1.1", SQL_DECIMAL, 11, 3, true, "58025.000", "44192.500"},
      {"QTY + 1", SQL_INTEGER, 10, 0, false, "19", "17"},
      {"-QTY", SQL_INTEGER, 10, 0, false, "-18", "-16"},
      {"-SALARY", SQL_DECIMAL, 9, 2, true, "-52750.00", "-40175.00"},
      {"'X'", SQL_CHAR, 1, 0, false, "X", "X"},
      {"42", SQL_INTEGER, 10, 0, false, "42", "42"},
      {"1.1", SQL_DECIMAL, 2, 1, false, "1.1", "1.1"},
      {"SALARY / 3", SQL_DECIMAL, 31, 24, true, "17583.333333333333333333333333", "13391.666666666666666666666666"},
      {"BIG * 2", SQL_BIGINT, 19, 0, true, "18000000000002", "-2"},
      {"COALESCE(BONUS, 0)", SQL_DECIMAL, 13, 2, false, "1000.00", "0.00"},
      {"VALUE(NAME, 'NONE')", SQL_CHAR, 8, 0, false, "ANN     ", "NONE    "},
      {"IFNULL(RATE, 0)", SQL_DOUBLE, 15, 0, false, "4.500000000000000E+00", "0.000000000000000E+00"},
      {"NULLIF(QTY, 16)", SQL_SMALLINT, 5, 0, true, "18", NUL},
      {"ABS(BONUS)", SQL_DECIMAL, 9, 2, true, "1000.00", NUL},
      {"SIGN(-SALARY)", SQL_DECIMAL, 9, 2, true, "-1.00", "-1.00"},
      {"CEIL(SALARY / 7)", SQL_DECIMAL, 31, 0, true, "7536", "5740"},
      {"FLOOR(-RATE)", SQL_DOUBLE, 15, 0, true, "-5.000000000000000E+00", NUL},
      {"MOD(QTY, 5)", SQL_INTEGER, 10, 0, false, "3", "1"},
      {"TRUNCATE(SALARY, -3)", SQL_DECIMAL, 9, 2, true, "52000.00", "40000.00"},
      {"DECIMAL(RATE, 5, 1)", SQL_DECIMAL, 5, 1, true, "4.5", NUL},
      {"DEC(QTY)", SQL_DECIMAL, 5, 0, false, "18", "16"},
      {"INTEGER(SALARY)", SQL_INTEGER, 10, 0, true, "52750", "40175"},
      {"SMALLINT(SALARY / 100)", SQL_SMALLINT, 5, 0, true, "527", "401"},
      {"DOUBLE(QTY)", SQL_DOUBLE, 15, 0, false, "1.800000000000000E+01", "1.600000000000000E+01"},
      {"DIGITS(QTY)", SQL_CHAR, 5, 0, false, "00018", "00016"},
      {"DIGITS(SALARY)", SQL_CHAR, 9, 0, true, "005275000", "004017500"},
      {"CHAR(HIRED, ISO)", SQL_CHAR, 10, 0, true, "1965-01-01", "2000-02-29"},
      {"CHAR(HIRED, USA)", SQL_CHAR, 10, 0, true, "01/01/1965", "02/29/2000"},
      {"CHAR(HIRED, EUR)", SQL_CHAR, 10, 0, true, "01.01.1965", "29.02.2000"},
      {"CHAR(START, USA)", SQL_CHAR, 8, 0, true, "08:00 AM", "11:59 PM"},
      {"CHAR(START, JIS)", SQL_CHAR, 8, 0, true, "08:00:00", "23:59:59"},
      {"CHAR(QTY)", SQL_CHAR, 6, 0, false, "18    ", "16    "},
      {"CHAR(SALARY)", SQL_CHAR, 11, 0, true, "0052750.00 ", "0040175.00 "},
      {"CHAR(NAME, 3)", SQL_CHAR, 3, 0, true, "ANN", NUL},
      {"HEX(QTY)", SQL_CHAR, 4, 0, false, "1200", "1000"},
      {"HEX(SALARY)", SQL_CHAR, 10, 0, true, "005275000C", "004017500C"},
      {"LENGTH(NAME)", SQL_INTEGER, 10, 0, true, "8", NUL},
      {"SUBSTR(NAME, 1, 2)", SQL_CHAR, 2, 0, true, "AN", NUL},
      {"STRIP(NAME)", SQL_VARCHAR, 8, 0, true, "ANN", NUL},
      {"NAME || '!'", SQL_CHAR, 9, 0, true, "ANN     !", NUL},
      {"CONCAT('<', NAME)", SQL_CHAR, 9, 0, true, "<ANN     ", NUL},
      {"CASE WHEN QTY > 17 THEN 'HIGH' ELSE 'LOW' END", SQL_CHAR, 4, 0, false, "HIGH", "LOW "},
      {"CASE QTY WHEN 16 THEN SALARY END", SQL_DECIMAL, 9, 2, true, NUL, "40175.00"},
      {"YEAR(HIRED)", SQL_INTEGER, 10, 0, true, "1965", "2000"},
      {"MONTH(HIRED)", SQL_INTEGER, 10, 0, true, "1", "2"},
      {"DAY(HIRED)", SQL_INTEGER, 10, 0, true, "1", "29"},
      {"DAYOFMONTH(HIRED)", SQL_INTEGER, 10, 0, true, "1", "29"},
      {"DAYS(HIRED)", SQL_INTEGER, 10, 0, true, "717337", "730179"},
      {"DAYOFWEEK(HIRED)", SQL_INTEGER, 10, 0, true, "6", "3"},
      {"DAYOFYEAR(HIRED)", SQL_INTEGER, 10, 0, true, "1", "60"},
      {"QUARTER(HIRED)", SQL_INTEGER, 10, 0, true, "1", "1"},
      {"HOUR(START)", SQL_INTEGER, 10, 0, true, "8", "23"},
      {"MINUTE(STAMP)", SQL_INTEGER, 10, 0, true, "20", "59"},
      {"SECOND(START)", SQL_INTEGER, 10, 0, true, "0", "59"},
      {"MICROSECOND(STAMP)", SQL_INTEGER, 10, 0, true, "123456", "999999"},
      {"MIDNIGHT_SECONDS(START)", SQL_INTEGER, 10, 0, true, "28800", "86399"},
      {"DATE(STAMP)", SQL_TYPE_DATE, 10, 0, true, "2004-03-15", "2000-02-29"},
      {"TIME(STAMP)", SQL_TYPE_TIME, 8, 0, true, "10.20.30", "23.59.59"},
      {"TIMESTAMP(HIRED, START)", SQL_TYPE_TIMESTAMP, 26, 0, true, "1965-01-01-08.00.00.000000",
       "2000-02-29-23.59.59.000000"},
      {"HIRED + 1 YEAR", SQL_TYPE_DATE, 10, 0, true, "1966-01-01", "2001-02-28"},
      {"HIRED - 1 MONTH", SQL_TYPE_DATE, 10, 0, true, "1964-12-01", "2000-01-29"},
      {"START + 30 MINUTES", SQL_TYPE_TIME, 8, 0, true, "08.30.00", "00.29.59"},
      {"STAMP + 1 MICROSECOND", SQL_TYPE_TIMESTAMP, 26, 0, true, "2004-03-15-10.20.30.123457",
       "2000-03-01-00.00.00.000000"},
      {"HIRED - '1964-12-31'", SQL_DECIMAL, 8, 0, true, "1", "350129"},
      {"YEAR(HIRED - '1964-12-31')", SQL_INTEGER, 10, 0, true, "0", "35"},
      {"CEILING(RATE)", SQL_DOUBLE, 15, 0, true, "5.000000000000000E+00", NUL},
      {"FLOAT(QTY)", SQL_DOUBLE, 15, 0, false, "1.800000000000000E+01", "1.600000000000000E+01"},
      {"DOUBLE_PRECISION(BIG)", SQL_DOUBLE, 15, 0, true, "9.000000000001000E+12", "-1.000000000000000E+00"},
      {"REAL(SALARY)", SQL_REAL, 7, 0, true, "5.275000000000000E+04", "4.017500000000000E+04"},
      {"INT(RATE)", SQL_INTEGER, 10, 0, true, "4", NUL},
      {"LTRIM('  ' || NAME)", SQL_VARCHAR, 10, 0, true, "ANN     ", NUL},
      {"RTRIM(NAME)", SQL_VARCHAR, 8, 0, true, "ANN", NUL},
      {"DATE('1990-05-06')", SQL_TYPE_DATE, 10, 0, false, "1990-05-06", "1990-05-06"},
      {"TIMESTAMP('2001-02-03-04.05.06')", SQL_TYPE_TIMESTAMP, 26, 0, false, "2001-02-03-04.05.06.000000",
       "2001-02-03-04.05.06.000000"},
  };
  for (const auto &c : aCases) {
    SCOPED_TRACE(c.pcItem);
    std::string strSql = std::string("SELECT ") + c.pcItem + " FROM TEST.EMP ORDER BY ID";
    std::vector<std::string> v = rows(strSql);
    Described d = describe(1);
    EXPECT_EQ(d.sType, c.sType);
    EXPECT_EQ(d.uiSize, c.uiSize);
    EXPECT_EQ(d.sScale, c.sScale);
    EXPECT_EQ(d.sNullable, c.boNullable ? SQL_NULLABLE : SQL_NO_NULLS);
    EXPECT_EQ(d.iUnnamed, SQL_UNNAMED);
    EXPECT_EQ(v, (std::vector<std::string>{c.pcRow1, c.pcRow2}));
  }
  /* a bare column keeps its name, an item named with AS is named */
  rows("SELECT SALARY, SALARY * 2 AS DOUBLED FROM TEST.EMP");
  EXPECT_EQ(describe(1).iUnnamed, SQL_NAMED);
  EXPECT_EQ(describe(2).iUnnamed, SQL_NAMED);
}

/* Conditions and orderings on computed values, LIKE as DB2's (case-sensitive, on the padded CHAR). */
TEST_F(StandInSql, WhereAndOrderByOnComputedValues)
{
  connect();
  struct {
    const char *pcSql;
    std::vector<std::string> vWant;
  } aCases[] = {
      {"SELECT ID FROM TEST.EMP WHERE SALARY * 1.1 > 50000", {"1"}},
      {"SELECT ID FROM TEST.EMP WHERE YEAR(HIRED) = 2000", {"2"}},
      {"SELECT ID FROM TEST.EMP WHERE HIRED < '01/01/1970'", {"1"}},
      {"SELECT ID FROM TEST.EMP WHERE NAME LIKE 'AN%'", {"1"}},
      {"SELECT ID FROM TEST.EMP WHERE NAME LIKE 'an%'", {}},
      {"SELECT ID FROM TEST.EMP WHERE NAME LIKE '%N'", {}},
      {"SELECT ID FROM TEST.EMP WHERE QTY + 1 BETWEEN 17 AND 17", {"2"}},
      {"SELECT ID FROM TEST.EMP WHERE ID IN (2, 3) OR BONUS IS NULL", {"2"}},
      {"SELECT ID FROM TEST.EMP WHERE COALESCE(BONUS, 0) IN (0.00)", {"2"}},
      {"SELECT ID FROM TEST.EMP ORDER BY SALARY / 3", {"2", "1"}},
      {"SELECT ID FROM TEST.EMP ORDER BY 1 DESC", {"2", "1"}},
      {"SELECT ID FROM TEST.EMP ORDER BY ID FETCH FIRST 1 ROWS ONLY", {"1"}},
      {"SELECT ID FROM TEST.EMP E WHERE E.QTY = 16", {"2"}},
      {"SELECT ID FROM TEST.EMP WHERE QTY * 2 IN (36, 40)", {"1"}},
      {"SELECT ID FROM TEST.EMP WHERE NAME NOT LIKE 'A_N%' OR NAME IS NULL", {"2"}},
  };
  for (const auto &c : aCases) EXPECT_EQ(rows(c.pcSql), c.vWant) << c.pcSql;
}

/* DB2's errors: at prepare for names and types, at fetch for values. */
TEST_F(StandInSql, FailuresAreDb2s)
{
  connect("bob", "pw");
  struct {
    const char *pcSql;
    const char *pcMessage;
  } aCases[] = {
      {"SELECT QTY / 0 FROM TEST.EMP", "SQL0801N"},
      {"SELECT ID * 2147483647 FROM TEST.EMP", "SQL0802N"},
      {"SELECT DECIMAL(SALARY, 4, 2) FROM TEST.EMP", "SQL0413N"},
      {"SELECT NOSUCH FROM TEST.EMP", "SQL0206N  \"NOSUCH\" is not valid"},
      {"SELECT ID FROM EMP", "SQL0204N  \"BOB.EMP\" is an undefined name."},
      {"SELECT * FROM MINE", "SQL0204N  \"BOB.MINE\" is an undefined name."},
      {"SELECT YEAR(QTY) FROM TEST.EMP", "SQL0440N  No authorized routine named \"YEAR\""},
      {"SELECT NOFUNC(QTY) FROM TEST.EMP", "SQL0440N  No authorized routine named \"NOFUNC\""},
      {"SELECT NAME + 1 FROM TEST.EMP", "SQL0401N"},
      /* compared only with their like: a bare column and constant too */
      {"SELECT ID FROM TEST.EMP WHERE NAME = 10", "SQL0401N  The data types of the operands for the operation \"=\""},
      {"SELECT ID FROM TEST.EMP WHERE HIRED > 5", "SQL0401N  The data types of the operands for the operation \">\""},
      {"SELECT ID FROM TEST.EMP WHERE QTY = 'A'", "SQL0401N"},
      {"SELECT ID FROM TEST.EMP WHERE HIRED = START", "SQL0401N"},
      {"SELECT ID FROM TEST.EMP WHERE QTY BETWEEN 'A' AND 'B'", "SQL0401N"},
      {"SELECT ID FROM TEST.EMP WHERE NAME IN (1, 2)", "SQL0401N  The data types of the operands for the operation \"IN\""},
      {"SELECT SUBSTR(NAME, 10) FROM TEST.EMP", "SQL0138N"},
  };
  for (const auto &c : aCases) {
    std::string strError;
    std::vector<std::string> v = rows(c.pcSql, &strError);
    EXPECT_NE(strError.find(c.pcMessage), std::string::npos) << c.pcSql << ": " << strError;
  }
}

/* An unqualified table is the user's: ALICE.MINE for alice, and the process's own user without a name. */
TEST_F(StandInSql, UnqualifiedTablesAreTheUsers)
{
  connect("alice", "secret");
  EXPECT_EQ(rows("SELECT * FROM MINE"), (std::vector<std::string>{"7"}));
  EXPECT_EQ(rows("SELECT COUNT(*) FROM MINE"), (std::vector<std::string>{"1"}));   /* outside the translator */
  std::string strError;
  rows("SELECT * FROM EMP", &strError);
  EXPECT_NE(strError.find("\"ALICE.EMP\" is an undefined name"), std::string::npos) << strError;
}
