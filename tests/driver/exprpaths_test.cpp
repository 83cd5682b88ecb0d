/*
** exprpaths_test.cpp
**   Select-list expressions through the whole program on the sample
**   instance.  What the evaluator takes (arithmetic, unary minus, casts,
**   date arithmetic, constants) is read on every path, forked, online
**   (ptk001=1), backup and the engine (DB2 FORCE), and every path gives the
**   engine's bytes, DEL and IXF, with DB2's result types and values; what it
**   does not take is refused under DB2 NO and handed to DB2 under DB2 YES.
**   The stand-in answers as DB2 does: the scalar functions the guide hands
**   to DB2, computed columns typed as DB2 types them, an unqualified table
**   name taken in the user's schema.
**
**   Masked in IXF files, and only there: the H record's date and time, the
**   C records' default fields (see samplepaths_test.cpp).
*/
#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/oreason.h"
#include "expr/zornode.h"
#include "tests/zavproc.h"
#include "tests/zavtest.h"

namespace fs = std::filesystem;

namespace {

const char *const gpcImage0 = "SAMPLE.0.zavinst.NODE0000.CATN0000.20040101120000.001";
const char *const gpcImage1 = "SAMPLE.0.zavinst.NODE0001.CATN0000.20040101120000.001";

enum Path { FORKED, ONLINE, BACKUP, ENGINE };
const char *const gapcPath[] = {"forked", "online", "backup", "engine"};

/* The SELECTs read on every path: their table space, text and output file. */
struct Case {
  const char *pcSpace;
  const char *pcSelect;
  const char *pcOutput;
};

const Case gaCases[] = {
    {"DMSDATA",
     "SELECT EMPNO, SALARY * 1.1, -SALARY, EDLEVEL + 1, -EDLEVEL, 'X', 42, 1.1, BONUS * 2, SALARY / 3, BIGID * 2, "
     "HIREDATE + 1 MONTH, STARTTIME + 30 MINUTES, CREATED - 1 DAY, HIREDATE - '1960-01-01', RATING * 2, "
     "SCORE + 1, REAL(SALARY), INTEGER(EDLEVEL), 1.5E0 FROM ZAVTEST.EMPLOYEE",
     "expr.del"},
    {"DMSDATA",
     "SELECT EMPNO, SALARY * 1.1, EDLEVEL + 1, -EDLEVEL, 'X', 42, 1.1, BONUS * 2, HIREDATE + 1 MONTH, "
     "HIREDATE - '1960-01-01' FROM ZAVTEST.EMPLOYEE WHERE SALARY * 1.1 > 30000",
     "expr.ixf"},
    {"PARTSPACE", "SELECT EMPNO, SALARY * 1.1, EDLEVEL + 1 FROM ZAVTEST.EMPPART", "exprpart.del"},
};

std::string control(Path path, const std::string &strBackup)
{
  std::string str = std::string("GLOBAL CONNECT TO SAMPLE ") + (path == ENGINE ? "DB2 FORCE" : "DB2 NO") + " ;\n";
  for (const Case &c : gaCases) {
    str += std::string("UNLOAD TABLESPACE ") + c.pcSpace + "\n";
    if (path == BACKUP)
      str += "  BACKUP \"" + strBackup + "/" + gpcImage0 + "\"" +
             (std::string(c.pcSpace) == "PARTSPACE" ? ", \"" + strBackup + "/" + gpcImage1 + "\"" : "") + "\n";
    str += std::string("  ") + c.pcSelect + " ;\n    OUTPUT(\"" + c.pcOutput + "\")\n    FORMAT " +
           (std::string(c.pcOutput).find(".ixf") != std::string::npos ? "IXF" : "DEL") + "\n;\n";
  }
  return str;
}

/* The records of an IXF file, the fields that may differ between paths masked. */
std::vector<std::string> ixfRecords(const std::string &strFile)
{
  std::vector<std::string> v;
  size_t at = 0;
  while (at + 7 <= strFile.size()) {
    size_t n = std::stoul(strFile.substr(at, 6));
    std::string r = strFile.substr(at, 6 + n);
    at += 6 + n;
    if (r[6] == 'H' && r.size() >= 50) r.replace(26, 14, 14, '#');
    if (r[6] == 'C' && r.size() >= 865) {
      r[267] = '#';
      r.replace(608, 257, 257, '#');
    }
    v.push_back(r);
  }
  if (at != strFile.size()) v.push_back("trailing bytes");
  return v;
}

std::vector<std::string> lines(const std::string &str)
{
  std::vector<std::string> v;
  std::istringstream in(str);
  for (std::string s; std::getline(in, s);) v.push_back(s);
  return v;
}

/* The C record of column iColumn (1-based) of an IXF file. */
std::string ixfColumn(const std::string &strFile, int iColumn)
{
  int i = 0;
  for (const std::string &r : ixfRecords(strFile))
    if (r[6] == 'C' && ++i == iColumn) return r;
  return "";
}

class ExprPaths : public ::testing::Test {
 protected:
  static void SetUpTestSuite()
  {
    gstrDir = zavprocBuildSample("/tmp/exprpaths_testXXXXXX", true);
    ASSERT_FALSE(gstrDir.empty()) << "the sample instance could not be built";
  }
  static void TearDownTestSuite()
  {
    if (!gstrDir.empty()) fs::remove_all(gstrDir);
  }

  /* Runs db2zav -f job.ctl in a new directory with the control file. */
  static zavprocResult run(Path path, const std::string &strName, const std::string &strControl)
  {
    std::string strCwd = gstrDir + "/" + strName;
    fs::create_directories(strCwd);
    std::ofstream(strCwd + "/job.ctl") << strControl;
    return zavprocRunSampleJob(strCwd, gstrDir + (path == ONLINE ? "/online" : "/sample/topzav"),
                               gstrDir + "/sample/home", std::getenv("ASAN_OPTIONS") ? std::getenv("ASAN_OPTIONS") : "");
  }

  /* Runs db2zav with these arguments alone in a new directory. */
  static zavprocResult runArgs(const std::string &strName, const std::vector<std::string> &vArgs)
  {
    std::string strCwd = gstrDir + "/" + strName;
    fs::create_directories(strCwd);
    zavprocSpec spec;
    spec.vArgv = {ZAV_BINARY_DIR "/driver/db2zav"};
    spec.vArgv.insert(spec.vArgv.end(), vArgs.begin(), vArgs.end());
    spec.mEnv = {{"PATH", "/usr/bin:/bin"},
                 {"LANG", "C"},
                 {"TOPZAV", gstrDir + "/sample/topzav"},
                 {"ZAVDB2_INSTHOME", gstrDir + "/sample/home"},
                 {"DB2INSTANCE", "zavinst"},
                 {"ASAN_OPTIONS", std::getenv("ASAN_OPTIONS") ? std::getenv("ASAN_OPTIONS") : ""}};
    spec.strCwd = strCwd;
    return zavprocRun(spec);
  }

  static std::string file(const std::string &strName, const std::string &strFile)
  {
    return zavtestReadText(gstrDir + "/" + strName + "/" + strFile);
  }

  static std::string gstrDir;
};

std::string ExprPaths::gstrDir;

TEST_F(ExprPaths, EveryPathGivesTheEnginesValuesAndTypes)
{
  for (int p = 0; p < 4; p++) {
    zavprocResult r = run(static_cast<Path>(p), gapcPath[p], control(static_cast<Path>(p), gstrDir + "/sample/backup"));
    EXPECT_EQ(r.iStatus, 0) << gapcPath[p] << ":\n" << r.strOut;
    EXPECT_EQ(r.strOut.find("ZORU063W"), std::string::npos) << gapcPath[p] << ": read directly, not through DB2";
  }
  for (const Case &c : gaCases) {
    std::string strWant = file("engine", c.pcOutput);
    ASSERT_FALSE(strWant.empty()) << c.pcOutput;
    bool boIxf = std::string(c.pcOutput).find(".ixf") != std::string::npos;
    for (int p = 0; p < 3; p++) {
      SCOPED_TRACE(std::string(gapcPath[p]) + ": " + c.pcOutput);
      std::string strGot = file(gapcPath[p], c.pcOutput);
      std::vector<std::string> vGot = boIxf ? ixfRecords(strGot) : lines(strGot);
      std::vector<std::string> vWant = boIxf ? ixfRecords(strWant) : lines(strWant);
      if (std::string(c.pcOutput) == "exprpart.del") {   /* one reader per partition */
        std::sort(vGot.begin(), vGot.end());
        std::sort(vWant.begin(), vWant.end());
      }
      EXPECT_EQ(vGot, vWant);
    }
  }
  /* DB2's values, whatever the engine says: DECIMAL(11,3), DECIMAL(9,2), INTEGER
     (of a SMALLINT plus one, and of a negated SMALLINT), CHAR(1), INTEGER,
     DECIMAL(2,1), DECIMAL(20,2), DECIMAL(31,24), BIGINT, DATE, TIME,
     TIMESTAMP, the date duration DECIMAL(8,0), DOUBLE, DOUBLE, REAL, INTEGER, DOUBLE */
  std::vector<std::string> vForked = lines(file("forked", "expr.del"));
  ASSERT_GE(vForked.size(), 4u);
  EXPECT_EQ(vForked[0],
            "\"000010\",+00058025.000,-0052750.00,19,-18,\"X\",42,+1.1,+000000000000002000.00,"
            "+0017583.333333333333333333333333,18000000000002,19650201,\"08.30.00\",\"2004-03-14-10.20.30.123456\","
            "+00050000,9,2.25,52750,18,1.5");
  /* EMPNO 000050 has no BONUS, RATING nor SCORE: NULL in, NULL out */
  EXPECT_EQ(vForked[3],
            "\"000050\",+00044192.500,-0040175.00,17,-16,\"X\",42,+1.1,,+0013391.666666666666666666666666,0,"
            "19490917,\"11.15.59\",\"2004-03-15-00.00.00.000001\",-00100415,,,40175,16,1.5");
  /* the IXF column records: DECIMAL(11,3) nullable, INTEGER not nullable, CHAR(1), DECIMAL(2,1) */
  std::string strIxf = file("forked", "expr.ixf");
  EXPECT_EQ(ixfColumn(strIxf, 2).substr(266, 1), "Y");
  EXPECT_EQ(ixfColumn(strIxf, 2).substr(272, 3), "484");
  EXPECT_EQ(ixfColumn(strIxf, 2).substr(285, 5), "01103");
  EXPECT_EQ(ixfColumn(strIxf, 3).substr(266, 1), "N");
  EXPECT_EQ(ixfColumn(strIxf, 3).substr(272, 3), "496");
  EXPECT_EQ(ixfColumn(strIxf, 4).substr(272, 3), "496");
  EXPECT_EQ(ixfColumn(strIxf, 5).substr(272, 3), "452");
  EXPECT_EQ(ixfColumn(strIxf, 5).substr(285, 5), "00001");
  EXPECT_EQ(ixfColumn(strIxf, 7).substr(285, 5), "00201");
}

/* An expression the evaluator does not take: refused when the control file is
   checked under DB2 NO, nothing written; handed to DB2 under DB2 YES, which
   gives the engine's rows. */
TEST_F(ExprPaths, WhatTheEvaluatorDoesNotTakeIsRefusedOrHandedToDb2)
{
  auto job = [](const char *pcDb2, const char *pcOutput, const char *pcItem = "YEAR(HIREDATE)") {
    return std::string("GLOBAL CONNECT TO SAMPLE ") + pcDb2 + " ;\nUNLOAD TABLESPACE DMSDATA\n" +
           "  SELECT EMPNO, " + pcItem + ", SALARY * 1.1 FROM ZAVTEST.EMPLOYEE ;\n    OUTPUT(\"" + pcOutput +
           "\")\n    FORMAT DEL\n;\n";
  };
  zavprocResult rNo = run(FORKED, "refused", job("DB2 NO", "year.del"));
  EXPECT_NE(rNo.iStatus, 0) << rNo.strOut;
  EXPECT_NE(rNo.strOut.find("ZORU481E"), std::string::npos) << rNo.strOut;
  EXPECT_EQ(rNo.strOut.find("ZORU410I"), std::string::npos) << rNo.strOut;
  EXPECT_FALSE(fs::exists(gstrDir + "/refused/year.del"));
  /* the function form of || is refused the same way, not taken for a syntax error */
  zavprocResult rConcat = run(FORKED, "refused_concat", job("DB2 NO", "concat.del", "CONCAT(WORKDEPT, PHONENO)"));
  EXPECT_EQ(rConcat.iStatus, oreasonExitStatus(ZORNODE_RC_NOPROC)) << rConcat.strOut;
  EXPECT_NE(rConcat.strOut.find("ZORU481E"), std::string::npos) << rConcat.strOut;
  EXPECT_EQ(rConcat.strOut.find("ZORU014E"), std::string::npos) << rConcat.strOut;
  EXPECT_FALSE(fs::exists(gstrDir + "/refused_concat/concat.del"));

  zavprocResult rYes = run(FORKED, "handed", job("DB2 YES", "year.del"));
  EXPECT_EQ(rYes.iStatus, 0) << rYes.strOut;
  EXPECT_NE(rYes.strOut.find("ZORU063W"), std::string::npos) << rYes.strOut;
  zavprocResult rForce = run(ENGINE, "handed_engine", job("DB2 FORCE", "year.del"));
  EXPECT_EQ(rForce.iStatus, 0) << rForce.strOut;
  std::string strYes = file("handed", "year.del");
  EXPECT_EQ(strYes, file("handed_engine", "year.del"));
  EXPECT_EQ(lines(strYes).at(0), "\"000010\",1965,+00058025.000");
  zavprocResult rConcatYes = run(FORKED, "handed_concat", job("DB2 YES", "concat.del", "CONCAT(WORKDEPT, PHONENO)"));
  EXPECT_EQ(rConcatYes.iStatus, 0) << rConcatYes.strOut;
  EXPECT_EQ(lines(file("handed_concat", "concat.del")).at(0), "\"000010\",\"A003978\",+00058025.000");
}

/* The scalar functions the guide hands to DB2, through the engine: DB2's values and types. */
TEST_F(ExprPaths, TheStandInsFunctionsAnswerAsDb2s)
{
  std::string strJob =
      "GLOBAL CONNECT TO SAMPLE DB2 FORCE ;\nUNLOAD TABLESPACE DMSDATA\n"
      "  SELECT EMPNO, YEAR(HIREDATE), DAYS(HIREDATE), DIGITS(EDLEVEL), CHAR(HIREDATE, ISO), COALESCE(BONUS, 0), "
      "CHAR(HIREDATE, USA), DAYOFWEEK(HIREDATE), MONTH(HIREDATE), HOUR(STARTTIME), DECIMAL(EDLEVEL, 5, 2), "
      "SUBSTR(LASTNAME, 1, 3), LENGTH(FIRSTNME), CASE WHEN EDLEVEL > 17 THEN 'HIGH' ELSE 'LOW' END, "
      "WORKDEPT || '-' || PHONENO, HEX(EDLEVEL), MOD(EDLEVEL, 5), ABS(-EDLEVEL), CEIL(RATING), "
      "TIMESTAMP(HIREDATE, STARTTIME), VALUE(WORKDEPT, 'NONE') FROM ZAVTEST.EMPLOYEE WHERE YEAR(HIREDATE) < 1970 ;\n"
      "    OUTPUT(\"func.del\")\n    FORMAT DEL\n"
      "  SELECT EMPNO, COALESCE(BONUS, 0), YEAR(HIREDATE), DIGITS(EDLEVEL) FROM ZAVTEST.EMPLOYEE ;\n"
      "    OUTPUT(\"func.ixf\")\n    FORMAT IXF\n;\n";
  zavprocResult r = run(ENGINE, "functions", strJob);
  ASSERT_EQ(r.iStatus, 0) << r.strOut;
  std::vector<std::string> v = lines(file("functions", "func.del"));
  ASSERT_EQ(v.size(), 6u) << file("functions", "func.del");
  EXPECT_EQ(v[0],
            "\"000010\",1965,717337,\"00018\",\"1965-01-01\",+00000001000.00,\"01/01/1965\",6,1,8,+018.00,\"HAA\",9,"
            "\"HIGH\",\"A00-3978\",\"1200\",3,18,5,\"1965-01-01-08.00.00.000000\",\"A00 \"");
  /* no BONUS: COALESCE gives 0 as DECIMAL(13,2) */
  EXPECT_EQ(v[1].rfind("\"000050\",1949,711721,\"00016\",\"1949-08-17\",+00000000000.00,", 0), 0u) << v[1];
  /* COALESCE(BONUS, 0): DECIMAL(13,2) NOT NULL; YEAR: INTEGER; DIGITS of a SMALLINT: CHAR(5) */
  std::string strIxf = file("functions", "func.ixf");
  EXPECT_EQ(ixfColumn(strIxf, 2).substr(266, 1), "N");
  EXPECT_EQ(ixfColumn(strIxf, 2).substr(272, 3), "484");
  EXPECT_EQ(ixfColumn(strIxf, 2).substr(285, 5), "01302");
  EXPECT_EQ(ixfColumn(strIxf, 3).substr(272, 3), "496");
  EXPECT_EQ(ixfColumn(strIxf, 4).substr(272, 3), "452");
  EXPECT_EQ(ixfColumn(strIxf, 4).substr(285, 5), "00005");
}

/* -t with an unqualified name: the user's own table, as DB2 takes it; the
   sample has none, so DB2's SQL0204N, and no row of another schema's table. */
TEST_F(ExprPaths, AnUnqualifiedTableIsTheUsers)
{
  struct passwd *ppw = getpwuid(geteuid());
  ASSERT_NE(ppw, nullptr);
  std::string strUser = ppw->pw_name;
  std::transform(strUser.begin(), strUser.end(), strUser.begin(), [](unsigned char c) { return std::toupper(c); });
  zavprocResult r = runArgs("unqualified", {"-t", "DEPT"});
  EXPECT_NE(r.iStatus, 0) << r.strOut;
  EXPECT_NE(r.strOut.find("SQL0204N  \"" + strUser + ".DEPT\" is an undefined name."), std::string::npos) << r.strOut;
  EXPECT_EQ(r.strOut.find("ZORU410I"), std::string::npos) << r.strOut;
  /* qualified, the same request unloads ZAVTEST.DEPT */
  zavprocResult rQualified = runArgs("qualified", {"-t", "ZAVTEST.DEPT"});
  EXPECT_EQ(rQualified.iStatus, 0) << rQualified.strOut;
  EXPECT_NE(rQualified.strOut.find("ZORU410I ZAV UTILITY HAS UNLOADED 5 ROWS"), std::string::npos) << rQualified.strOut;
}

}  // namespace
