/*
** sampleformats_test.cpp
**   What the guide promises of the output formats, through the real program
**   run as a subprocess on the bundled sample instance, on every path a
**   SELECT can take (the rows of gapathPaths: the forked reader of the
**   containers, the online reader, the backup image, DB2 itself):
**     - LOB files: every LOB has a file of its own, two empty LOBs of one
**       row too; with OPTIONS LLS ON the LOBs follow one another in a LOB
**       file and the row holds "file.offset.length/", in DEL and IXF; a
**       NULL LOB is a NULL field either way;
**     - IXF headers: the same on every path, the C records carrying the
**       catalogue's defaults and only those, a LOB file column its declared
**       length, and the H record of the single-byte SAMPLE database 00000
**       for the double-byte code page (the Unicode UNISAMP keeps 01200);
**     - TIME_C: a 12-hour clock (12.00 AM at midnight, 12.00 PM at noon);
**     - FILEMAXSIZE: each file's own row count in its ZORU410I;
**     - FORMAT USER: refused when the control file is checked, -n included.
**   Values are compared with the stand-in's rows by tests/run/readback.py,
**   which reads location specifiers and checks the C records against the
**   stand-in's catalogue.
*/
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>
#include "control/zorcontrol.h"
#include "tests/zavproc.h"
#include "tests/zavtest.h"

namespace fs = std::filesystem;

namespace {

const std::string gstrReadBack = ZAV_SOURCE_DIR "/tests/run/readback.py";
const char *const gpcImage = "SAMPLE.0.zavinst.NODE0000.CATN0000.20040101120000.001";

/* A path: its name, whether DB2 reads, the online reader, a backup image. */
struct Path {
  const char *pcName;
  bool boEngine;
  bool boOnline;
  bool boBackup;
};
const Path gapathPaths[] = {
    {"forked", false, false, false},
    {"online", false, true, false},
    {"backup", false, false, true},
    {"engine", true, false, false},
};

/* The unloads of the main job: table space, SELECT, clauses after the ";". */
struct Unload {
  const char *pcSpace;
  const char *pcSelect;
  const char *pcClauses;
};
const Unload gaunloadJob[] = {
    /* LOB files: one per LOB, and location specifiers, in DEL and IXF, DMS and SMS */
    {"DMSDATA", "SELECT * FROM ZAVTEST.DOCS", "OUTPUT(\"docs_file.del\") LOBFILE(\"df\") FORMAT DEL"},
    {"DMSDATA", "SELECT * FROM ZAVTEST.DOCS", "OUTPUT(\"docs_lls.del\") LOBFILE(\"dl\") OPTIONS LLS ON FORMAT DEL"},
    {"DMSDATA", "SELECT * FROM ZAVTEST.DOCS", "OUTPUT(\"docs_lls.ixf\") LOBFILE(\"il\") OPTIONS LLS ON FORMAT IXF"},
    {"DMSDATA", "SELECT ID, PHOTO FROM ZAVTEST.DOCS",
     "OUTPUT(\"photo_lls.del\") LOBFILE(\"pl\") OPTIONS LLS ON FORMAT DEL"},
    {"USERSPACE1", "SELECT * FROM ZAVTEST.NOTES",
     "OUTPUT(\"notes_lls.del\") LOBFILE(\"nl\") OPTIONS LLS ON FORMAT DEL"},
    /* IXF headers: defaults (DEPT.LOCATION 'NOWHERE', EMPLOYEE.BONUS 0), LOB lengths */
    {"USERSPACE1", "SELECT * FROM ZAVTEST.DEPT", "OUTPUT(\"dept.ixf\") FORMAT IXF"},
    {"DMSDATA", "SELECT * FROM ZAVTEST.EMPLOYEE", "OUTPUT(\"emp.ixf\") FORMAT IXF"},
    {"DMSDATA", "SELECT * FROM ZAVTEST.DOCS", "OUTPUT(\"docs_file.ixf\") LOBFILE(\"xf\") FORMAT IXF"},
    /* a 12-hour clock beside the 24-hour one */
    {"DMSDATA", "SELECT EMPNO, STARTTIME FROM ZAVTEST.EMPLOYEE", "OUTPUT(\"time_a.del\") FORMAT DELIMITED"},
    {"DMSDATA", "SELECT EMPNO, STARTTIME FROM ZAVTEST.EMPLOYEE",
     "OUTPUT(\"time_c.del\") FORMAT DELIMITED OPTIONS TIME TIME_C"},
    /* an output rotated at FILEMAXSIZE */
    {"DMSDATA", "SELECT * FROM ZAVTEST.EMPLOYEE", "OUTPUT(\"rot.del\") FILEMAXSIZE 1K FORMAT DEL"},
};

/* The control file of the unloads on a path (strBackup: the sample's backup directory). */
std::string job(const Path &path, const std::vector<Unload> &vUnloads, const std::string &strBackup)
{
  std::string str = std::string("GLOBAL CONNECT TO SAMPLE") + (path.boEngine ? " DB2 FORCE" : "") + " ;\n";
  for (const Unload &u : vUnloads) {
    str += std::string("UNLOAD TABLESPACE ") + u.pcSpace + "\n";
    if (path.boBackup) str += "  DB2 NO BACKUP \"" + strBackup + "/" + gpcImage + "\"\n";
    str += std::string("  ") + u.pcSelect + " ;\n    " + u.pcClauses + "\n;\n";
  }
  return str;
}

std::vector<std::string> lines(const std::string &str)
{
  std::vector<std::string> v;
  std::istringstream in(str);
  for (std::string s; std::getline(in, s);) v.push_back(s);
  return v;
}

bool has(const std::string &str, const std::string &strPart) { return str.find(strPart) != std::string::npos; }

/* The records of an IXF file, the H record's date and time masked. */
std::vector<std::string> ixfHeader(const std::string &strFile)
{
  std::vector<std::string> v;
  size_t at = 0;
  while (at + 7 <= strFile.size()) {
    size_t n = std::stoul(strFile.substr(at, 6));
    std::string r = strFile.substr(at, 6 + n);
    at += 6 + n;
    if (r[6] == 'D') break;
    if (r[6] == 'H' && r.size() >= 40) r.replace(26, 14, 14, '#');
    v.push_back(r);
  }
  return v;
}

/* The text "hh.mm.ss" of a 24-hour clock on the 12-hour one, "hh.mm AM" or "hh.mm PM". */
std::string twelveHour(const std::string &strTime)
{
  int iHour = std::stoi(strTime.substr(0, 2));
  const char *pcLetter = iHour >= 12 && iHour < 24 ? "PM" : "AM";
  iHour %= 12;
  if (iHour == 0) iHour = 12;
  char ac[16];
  std::snprintf(ac, sizeof ac, "%02d.%s %s", iHour, strTime.substr(3, 2).c_str(), pcLetter);
  return ac;
}

/* The sample instance, built once for the suite, and a run of db2zav on it. */
class SampleFormats : public ::testing::Test {
 protected:
  static void SetUpTestSuite()
  {
    gstrDir = zavprocBuildSample("/tmp/sampleformats_testXXXXXX", true);
    ASSERT_FALSE(gstrDir.empty()) << "the sample instance could not be built";
  }
  static void TearDownTestSuite()
  {
    if (!gstrDir.empty()) fs::remove_all(gstrDir);
  }

  /* Runs db2zav -f job.ctl (then vArgs) with the control text in a new directory strName. */
  static zavprocResult run(const Path &path, const std::string &strName, const std::string &strControl,
                           const std::vector<std::string> &vArgs = {})
  {
    std::string strCwd = gstrDir + "/run_" + strName;
    fs::remove_all(strCwd);
    fs::create_directories(strCwd);
    std::ofstream(strCwd + "/job.ctl") << strControl;
    return zavprocRunSampleJob(strCwd, gstrDir + (path.boOnline ? "/online" : "/sample/topzav"),
                               gstrDir + "/sample/home",
                               std::getenv("ASAN_OPTIONS") ? std::getenv("ASAN_OPTIONS") : "", vArgs);
  }

  /* The main job on a path, run once; its output and directory. */
  static const zavprocResult &mainJob(const Path &path)
  {
    static std::map<std::string, zavprocResult> mRuns;
    auto it = mRuns.find(path.pcName);
    if (it != mRuns.end()) return it->second;
    std::vector<Unload> v(std::begin(gaunloadJob), std::end(gaunloadJob));
    return mRuns[path.pcName] = run(path, path.pcName, job(path, v, gstrDir + "/sample/backup"));
  }

  static std::string dir(const Path &path) { return gstrDir + "/run_" + path.pcName; }
  static std::string file(const Path &path, const std::string &strName)
  {
    return zavtestReadText(dir(path) + "/" + strName);
  }

  static std::string gstrDir;
};

std::string SampleFormats::gstrDir;

/* Every file reads back as the stand-in's rows, location specifiers and IXF column records included. */
TEST_F(SampleFormats, EveryPathWritesTheStandInsValuesAndTheSameIxfHeaders)
{
  for (const Path &path : gapathPaths) {
    SCOPED_TRACE(path.pcName);
    const zavprocResult &r = mainJob(path);
    EXPECT_EQ(r.iStatus, 0) << r.strOut;
    EXPECT_TRUE(has(r.strOut, "ZORU412I")) << r.strOut;
    /* the values of every file but the 12-hour times, which the next test reads */
    std::vector<Unload> vRead;
    for (const Unload &u : gaunloadJob)
      if (!has(u.pcClauses, "TIME_C")) vRead.push_back(u);
    std::ofstream(dir(path) + "/readback.ctl") << job(path, vRead, gstrDir + "/sample/backup");
    zavprocSpec spec;
    spec.vArgv = {"/usr/bin/python3", gstrReadBack, "--store", gstrDir + "/sample/data/zavinst/NODE0000/SQL00001",
                  "--ctl", dir(path) + "/readback.ctl", "--dir", dir(path)};
    spec.mEnv = {{"PATH", "/usr/bin:/bin"}};
    zavprocResult rb = zavprocRun(spec);
    EXPECT_EQ(rb.iStatus, 0) << rb.strOut;
    EXPECT_TRUE(has(rb.strOut, " 0 differences")) << rb.strOut;
    for (const char *pcIxf : {"dept.ixf", "emp.ixf", "docs_file.ixf", "docs_lls.ixf"}) {
      std::vector<std::string> v = ixfHeader(file(path, pcIxf));
      ASSERT_FALSE(v.empty()) << pcIxf;
      /* SAMPLE is single-byte: no double-byte code page */
      EXPECT_EQ(v[0].substr(45, 10), "0081900000") << pcIxf;
      if (std::string(path.pcName) != "forked") {
        EXPECT_EQ(v, ixfHeader(file(gapathPaths[0], pcIxf))) << pcIxf << ": not the forked reader's header";
      }
    }
  }
  /* the catalogue's defaults, and only those: DEPT.LOCATION DEFAULT 'NOWHERE', a nullable column without one */
  std::string strDept = file(gapathPaths[3], "dept.ixf");
  std::vector<std::string> vDept = ixfHeader(strDept);
  ASSERT_EQ(vDept.size(), 6u);
  EXPECT_EQ(vDept[5].substr(10, 8), "LOCATION");
  EXPECT_EQ(vDept[5].substr(266, 2), "YY");
  EXPECT_EQ(vDept[5].substr(608, 12), "009'NOWHERE'");
  EXPECT_EQ(vDept[4].substr(10, 5), "MGRNO");
  EXPECT_EQ(vDept[4].substr(266, 2), "YN");
  EXPECT_EQ(vDept[4].substr(608, 3), "000");
}

/* Every LOB has a file of its own, two empty LOBs of one row too; a NULL LOB has none. */
TEST_F(SampleFormats, EveryLobHasAFileOfItsOwnAndANullLobNone)
{
  for (const Path &path : gapathPaths) {
    SCOPED_TRACE(path.pcName);
    ASSERT_EQ(mainJob(path).iStatus, 0) << mainJob(path).strOut;
    std::vector<std::string> v = lines(file(path, "docs_file.del"));
    ASSERT_EQ(v.size(), 5u);
    EXPECT_EQ(v[1], "2,,,,");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(v[4], m, std::regex("5,\"empty\",\"(df[^\"]*)\",\"(df[^\"]*)\",\"\""))) << v[4];
    EXPECT_NE(m[1].str(), m[2].str());
    for (int i : {1, 2}) {
      EXPECT_TRUE(fs::exists(dir(path) + "/" + m[i].str())) << m[i].str();
      EXPECT_EQ(fs::file_size(dir(path) + "/" + m[i].str()), 0u) << m[i].str();
    }
    /* as many LOB files as non-null LOBs: DOCS rows 1, 3, 4 and 5, two each */
    std::set<std::string> setNames;
    const std::regex reName("\"(df[^\"]*)\"");
    for (const std::string &strLine : v)
      for (std::sregex_iterator it(strLine.begin(), strLine.end(), reName), end; it != end; ++it)
        setNames.insert((*it)[1].str());
    EXPECT_EQ(setNames.size(), 8u);
    int iFiles = 0;
    for (const auto &entry : fs::directory_iterator(dir(path)))
      if (entry.path().filename().string().rfind("df", 0) == 0) iFiles++;
    EXPECT_EQ(iFiles, 8);
  }
}

/* OPTIONS LLS ON: the LOBs one after the other in one LOB file, "file.offset.length/" in the row. */
TEST_F(SampleFormats, LocationSpecifiersOnEveryPathAndANullLobIsANullField)
{
  for (const Path &path : gapathPaths) {
    SCOPED_TRACE(path.pcName);
    ASSERT_EQ(mainJob(path).iStatus, 0) << mainJob(path).strOut;
    std::vector<std::string> v = lines(file(path, "docs_lls.del"));
    ASSERT_EQ(v.size(), 5u);
    EXPECT_EQ(v[1], "2,,,,");   /* NULL LOBs: NULL fields, no "dummy.0.-1/" */
    std::string strFile = path.boEngine ? "dl.001" : "dl_000.001";
    EXPECT_EQ(v[0], "1,\"first\",\"" + strFile + ".0.31/\",\"" + strFile + ".31.5/\",\"long varchar one\"");
    /* the empty LOBs of row 5: a place of no bytes each */
    EXPECT_TRUE(has(v[4], "\"" + strFile + ".90057.0/\",\"" + strFile + ".90057.0/\"")) << v[4];
    EXPECT_EQ(fs::file_size(dir(path) + "/" + strFile), 90057u);
    /* one LOB file for all: nothing else of that name */
    int iFiles = 0;
    for (const auto &entry : fs::directory_iterator(dir(path)))
      if (entry.path().filename().string().rfind("dl", 0) == 0) iFiles++;
    EXPECT_EQ(iFiles, 1);
    /* a BLOB alone in its SELECT; an SMS table's CLOB */
    EXPECT_TRUE(has(file(path, "photo_lls.del"), "\n2,\n")) << file(path, "photo_lls.del");
    EXPECT_TRUE(has(file(path, "notes_lls.del"), "\n2,,,\n")) << file(path, "notes_lls.del");
  }
  /* the IXF location specifiers name the same places on every path but DB2's, whose file is named il.001 */
  std::string strForked = file(gapathPaths[0], "docs_lls.ixf");
  EXPECT_TRUE(has(strForked, "il_000.001.0.31/")) << strForked.size();
  EXPECT_FALSE(has(strForked, "dummy")) << strForked.size();
}

/* TIME_C is a 12-hour clock: 12.00 AM at midnight, 12.00 PM at noon. */
TEST_F(SampleFormats, TwelveHourTimesOnEveryPath)
{
  for (const Path &path : gapathPaths) {
    SCOPED_TRACE(path.pcName);
    ASSERT_EQ(mainJob(path).iStatus, 0) << mainJob(path).strOut;
    std::vector<std::string> vA = lines(file(path, "time_a.del")), vC = lines(file(path, "time_c.del"));
    ASSERT_EQ(vA.size(), vC.size());
    ASSERT_FALSE(vA.empty());
    bool boNoon = false, boMidnight = false;
    for (size_t i = 0; i < vA.size(); i++) {
      std::smatch m;
      if (!std::regex_match(vA[i], m, std::regex("(\"[0-9]+\"),\"([0-9][0-9]\\.[0-9][0-9]\\.[0-9][0-9])\""))) {
        EXPECT_EQ(vC[i], vA[i]);   /* a NULL time */
        continue;
      }
      EXPECT_EQ(vC[i], m[1].str() + ",\"" + twelveHour(m[2].str()) + "\"");
      boNoon |= m[2].str() == "12.00.00";
      boMidnight |= m[2].str() == "00.00.00";
    }
    EXPECT_TRUE(has(file(path, "time_c.del"), "\"12.00 PM\"") && boNoon);
    EXPECT_TRUE(has(file(path, "time_c.del"), "\"12.00 AM\"") && boMidnight);
  }
}

/* FILEMAXSIZE: one ZORU410I per file, with that file's own rows. */
TEST_F(SampleFormats, EachRotatedFileIsToldWithItsOwnRows)
{
  for (const Path &path : gapathPaths) {
    SCOPED_TRACE(path.pcName);
    const zavprocResult &r = mainJob(path);
    ASSERT_EQ(r.iStatus, 0) << r.strOut;
    std::map<std::string, long> mTold;
    std::regex re("ZORU410I ZAV UTILITY HAS UNLOADED ([0-9]+) ROWS ON [^ ]* HOST FOR ZAVTEST.EMPLOYEE IN (rot\\.[0-9a-z]+)\\.");
    for (std::sregex_iterator it(r.strOut.begin(), r.strOut.end(), re), end; it != end; ++it) {
      EXPECT_EQ(mTold.count((*it)[2].str()), 0u) << (*it)[2].str() << " told twice";
      mTold[(*it)[2].str()] = std::stol((*it)[1].str());
    }
    ASSERT_GE(mTold.size(), 3u) << r.strOut;
    long lTotal = 0;
    for (const auto &[strFile, lRows] : mTold) {
      EXPECT_EQ(static_cast<size_t>(lRows), lines(file(path, strFile)).size()) << strFile;
      lTotal += lRows;
    }
    EXPECT_EQ(static_cast<size_t>(lTotal), lines(file(path, "time_a.del")).size());
  }
}

/* FORMAT USER has no converter: refused when the control file is checked, on every path, -n or not. */
TEST_F(SampleFormats, FormatUserIsRefusedWhenTheControlFileIsChecked)
{
  std::vector<Unload> v = {{"USERSPACE1", "SELECT * FROM ZAVTEST.DEPT", "OUTPUT(\"dept.usr\") FORMAT USER"},
                           {"USERSPACE1", "SELECT * FROM ZAVTEST.DEPT",
                            "OUTPUT(\"dept_col.usr\") FORMAT USER (COL 1 TYPE CHAR(3))"}};
  for (const Path &path : gapathPaths) {
    for (const Unload &u : v) {
      for (bool boCheck : {true, false}) {
        SCOPED_TRACE(std::string(path.pcName) + ", " + u.pcClauses + (boCheck ? ", -n" : ""));
        std::string strName = std::string(path.pcName) + "_user";
        zavprocResult r = run(path, strName, job(path, {u}, gstrDir + "/sample/backup"),
                              boCheck ? std::vector<std::string>{"-n"} : std::vector<std::string>{});
        int iRc = path.boEngine ? ZORCONTROL_RC_USERDB2 : ZORCONTROL_RC_USER;
        EXPECT_EQ(r.iStatus, iRc & 0xFF) << r.strOut;
        EXPECT_TRUE(has(r.strOut, path.boEngine ? "ZORU464E" : "ZORU463E")) << r.strOut;
        EXPECT_FALSE(has(r.strOut, "ZORU426I")) << r.strOut;
        EXPECT_FALSE(has(r.strOut, "ZORI154E")) << r.strOut;
        EXPECT_FALSE(fs::exists(gstrDir + "/run_" + strName + "/dept.usr"));
        EXPECT_FALSE(fs::exists(gstrDir + "/run_" + strName + "/dept_col.usr"));
      }
    }
  }
}

/* The Unicode database keeps its double-byte code page in the H record. */
TEST_F(SampleFormats, UnicodeDatabaseKeepsItsDoubleByteCodePage)
{
  std::string strControl =
      "GLOBAL CONNECT TO UNISAMP ;\n"
      "UNLOAD TABLESPACE UNIDMS\n  SELECT * FROM ZAVTEST.UNITEXT ;\n    OUTPUT(\"uni.ixf\") FORMAT IXF\n;\n";
  zavprocResult r = run(gapathPaths[0], "forked_uni", strControl);
  ASSERT_EQ(r.iStatus, 0) << r.strOut;
  std::vector<std::string> v = ixfHeader(zavtestReadText(gstrDir + "/run_forked_uni/uni.ixf"));
  ASSERT_FALSE(v.empty());
  EXPECT_EQ(v[0].substr(50, 5), "01200");
}

}  // namespace
