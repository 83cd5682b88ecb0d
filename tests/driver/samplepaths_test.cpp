/*
** samplepaths_test.cpp
**   The whole program, as a subprocess, on the bundled sample instance: the
**   same control file is run four ways, and the four give the same bytes:
**     forked   the default direct reader of the containers;
**     online   the threaded online reader (ptk001=1 in the configuration);
**     backup   the backup images of both partitions (BACKUP);
**     engine   DB2 itself (DB2 FORCE), i.e. the stand-in's engine.
**   Every table of the sample and every column type, in DEL and IXF, with
**   WHERE, SKIP/INTERVAL, MAXROWS and LOB files; the partitioned table over
**   both partitions and with --part 1; a WHERE outside the native grammar,
**   which every path hands to DB2 (and must then end cleanly).  The LOBs
**   over 32700 bytes of DOCS and NOTES (row 4) inline in DEL and IXF rows:
**   every path cuts them alike, tells how many with ZORU462W and ends with
**   the warning.  The Unicode database UNISAMP in a control file of its
**   own: its graphic columns cannot go through DB2, so the engine is the
**   reference for its character columns only and the forked reader for
**   the others.
**
**   Masked, and only these:
**     - IXF H record: date and time of the header build;
**     - LOB file names in DEL rows and the LOB files' names (each path
**       numbers its LOB files in its own way): the references are compared
**       as the contents of the files they name, in row order.
*/
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>
#include "common/oreason.h"
#include "run/zorurun.h"
#include "tests/zavproc.h"
#include "tests/zavtest.h"

namespace fs = std::filesystem;

namespace {

const char *const gpcImage0 = "SAMPLE.0.zavinst.NODE0000.CATN0000.20040101120000.001";
const char *const gpcImage1 = "SAMPLE.0.zavinst.NODE0001.CATN0000.20040101120000.001";

using JobRun = zavprocResult;

/* One unload of the control file: its table space, SELECT and options. */
struct Case {
  const char *pcOutput;    /* output file name; ".ixf" gives FORMAT IXF */
  const char *pcSpace;
  const char *pcSelect;
  const char *pcOptions;   /* SELECT options: MAXROWS, SKIP, LOBFILE ... */
  bool boDb2 = false;      /* SQL outside the native grammar: every path hands it
                              to DB2 (DB2 YES; the backup path without images) */
};

const Case gaCases[] = {
    {"dept.del", "USERSPACE1", "SELECT * FROM ZAVTEST.DEPT", ""},
    {"dept.ixf", "USERSPACE1", "SELECT * FROM ZAVTEST.DEPT", ""},
    {"dept_max.del", "USERSPACE1", "SELECT DEPTNO, LOCATION FROM ZAVTEST.DEPT", "MAXROWS 3"},
    {"notes.del", "USERSPACE1", "SELECT * FROM ZAVTEST.NOTES WHERE ID < 4", ""},
    {"notes.ixf", "USERSPACE1", "SELECT * FROM ZAVTEST.NOTES WHERE ID < 4", ""},
    {"notes_lob.del", "USERSPACE1", "SELECT * FROM ZAVTEST.NOTES", "LOBFILE(\"notes_lob\")"},
    {"employee.del", "DMSDATA", "SELECT * FROM ZAVTEST.EMPLOYEE", ""},
    {"employee.ixf", "DMSDATA", "SELECT * FROM ZAVTEST.EMPLOYEE", ""},
    {"employee_where.del", "DMSDATA",
     "SELECT EMPNO, LASTNAME, SALARY, HIREDATE FROM ZAVTEST.EMPLOYEE "
     "WHERE SALARY > 25000 AND WORKDEPT = 'D11' OR BONUS IS NULL",
     ""},
    {"employee_skip.del", "DMSDATA", "SELECT * FROM ZAVTEST.EMPLOYEE", "SKIP 2 INTERVAL 3"},
    {"employee_in.del", "DMSDATA",
     "SELECT EMPNO, WORKDEPT, EDLEVEL FROM ZAVTEST.EMPLOYEE WHERE WORKDEPT IN ('D11', 'E01') OR EDLEVEL > 18", "",
     true},
    {"docs.del", "DMSDATA", "SELECT * FROM ZAVTEST.DOCS WHERE ID <> 4", ""},
    {"docs.ixf", "DMSDATA", "SELECT * FROM ZAVTEST.DOCS WHERE ID <> 4", ""},
    {"docs_lob.del", "DMSDATA", "SELECT * FROM ZAVTEST.DOCS", "LOBFILE(\"docs_lob\")"},
    {"emppart.del", "PARTSPACE", "SELECT * FROM ZAVTEST.EMPPART", ""},
    {"emppart.ixf", "PARTSPACE", "SELECT * FROM ZAVTEST.EMPPART", ""},
};

/* Every row of DOCS and NOTES inline: row 4 of each holds LOBs over 32700
   bytes (DOCS a CLOB of 40,000 and a BLOB of 50,000, NOTES a CLOB of 40,000),
   and the ZORU462W each output file gets on every path. */
struct BigCase {
  Case c;
  const char *pcCut;
};
const BigCase gaBigLobCases[] = {
    {{"docs_big.del", "DMSDATA", "SELECT * FROM ZAVTEST.DOCS", ""}, "2 VALUES OF ZAVTEST.DOCS IN docs_big.del"},
    {{"docs_big.ixf", "DMSDATA", "SELECT * FROM ZAVTEST.DOCS", ""}, "2 VALUES OF ZAVTEST.DOCS IN docs_big.ixf"},
    {{"notes_big.del", "USERSPACE1", "SELECT * FROM ZAVTEST.NOTES", ""}, "1 VALUES OF ZAVTEST.NOTES IN notes_big.del"},
    {{"notes_big.ixf", "USERSPACE1", "SELECT * FROM ZAVTEST.NOTES", ""}, "1 VALUES OF ZAVTEST.NOTES IN notes_big.ixf"},
};

/* The Unicode database UNISAMP, in a control file of its own: graphic
   columns have no converter on the DB2 path, so only the cases of
   character columns go through the engine; the others are compared with
   the forked reader's bytes. */
const struct UniCase {
  Case c;
  bool boEngine;
} gaUniCases[] = {
    {{"unitext.del", "UNIDMS", "SELECT * FROM ZAVTEST.UNITEXT", "CCSID(1208)"}, false},
    {{"unitext.ixf", "UNIDMS", "SELECT * FROM ZAVTEST.UNITEXT", ""}, false},
    {{"unitext_819.del", "UNIDMS", "SELECT * FROM ZAVTEST.UNITEXT", "CCSID(819)"}, false},
    {{"unitexts.del", "UNISMS", "SELECT * FROM ZAVTEST.UNITEXTS", "CCSID(1208)"}, false},
    {{"unitexts.ixf", "UNISMS", "SELECT * FROM ZAVTEST.UNITEXTS", ""}, false},
    {{"unitext_max.del", "UNIDMS", "SELECT ID, GLOB, GFIX FROM ZAVTEST.UNITEXT", "CCSID(1208) MAXROWS 5"}, false},
    {{"unitext_1200.del", "UNIDMS", "SELECT * FROM ZAVTEST.UNITEXT", "CCSID(1200)"}, false},
    {{"unitexts_1200.del", "UNISMS", "SELECT * FROM ZAVTEST.UNITEXTS", "CCSID(1200)"}, false},
    {{"unichars.del", "UNIDMS", "SELECT ID, LANG, SHORT, TEXT FROM ZAVTEST.UNITEXT", "CCSID(1208)"}, true},
    {{"unichars.ixf", "UNIDMS", "SELECT ID, LANG, SHORT, TEXT FROM ZAVTEST.UNITEXT", ""}, true},
    {{"unichars_819.del", "UNISMS", "SELECT TEXT, SHORT FROM ZAVTEST.UNITEXTS", "CCSID(819)"}, true},
    {{"unichars_1200.del", "UNISMS", "SELECT ID, SHORT, TEXT FROM ZAVTEST.UNITEXTS", "CCSID(1200)"}, true},
    {{"unichars_where.del", "UNISMS", "SELECT ID, TEXT FROM ZAVTEST.UNITEXTS WHERE LANG = 'ru' OR ID > 6",
      "CCSID(1208)"},
     true},
};

enum Path { FORKED, ONLINE, BACKUP, ENGINE };
const char *const gapcPath[] = {"forked", "online", "backup", "engine"};

/* The control file of one path, of the equality cases or of the ones given. */
std::string control(Path path, const std::string &strBackupDir, const std::string &strOnly,
                    const std::vector<Case> &vCases = {std::begin(gaCases), std::end(gaCases)})
{
  std::string str = "GLOBAL CONNECT TO SAMPLE";
  if (path == ENGINE) str += " DB2 FORCE";
  str += " ;\n";
  for (const Case &c : vCases) {
    if (!strOnly.empty() && strOnly != c.pcOutput) continue;
    str += std::string("UNLOAD TABLESPACE ") + c.pcSpace + "\n";
    if (c.boDb2 && path != ENGINE) str += "  DB2 YES\n";
    /* the partitioned table space has an image per partition; the others lie on partition 0 only */
    if (path == BACKUP && !c.boDb2)
      str += "  DB2 NO BACKUP \"" + strBackupDir + "/" + gpcImage0 + "\"" +
             (std::string(c.pcSpace) == "PARTSPACE" ? ", \"" + strBackupDir + "/" + gpcImage1 + "\"" : "") + "\n";
    str += std::string("  ") + c.pcSelect + " ;\n    OUTPUT(\"" + c.pcOutput + "\")\n    " + c.pcOptions + "\n";
    str += std::string("    FORMAT ") + (std::string(c.pcOutput).find(".ixf") != std::string::npos ? "IXF" : "DEL") +
           "\n;\n";
  }
  return str;
}

/* The control file of the Unicode database for one path. */
std::string uniControl(Path path, const std::string &strBackupDir)
{
  std::string str = "GLOBAL CONNECT TO UNISAMP";
  if (path == ENGINE) str += " DB2 FORCE";
  str += " ;\n";
  for (const UniCase &u : gaUniCases) {
    if (path == ENGINE && !u.boEngine) continue;
    str += std::string("UNLOAD TABLESPACE ") + u.c.pcSpace + "\n";
    if (path == BACKUP)
      str += "  DB2 NO BACKUP \"" + strBackupDir + "/UNISAMP.0.zavinst.NODE0000.CATN0000.20040101120000.001\"\n";
    str += std::string("  ") + u.c.pcSelect + " ;\n    OUTPUT(\"" + u.c.pcOutput + "\")\n    " + u.c.pcOptions +
           "\n    FORMAT " + (std::string(u.c.pcOutput).find(".ixf") != std::string::npos ? "IXF" : "DEL") + "\n;\n";
  }
  return str;
}

/* The records of an IXF file with the fields that may differ between paths masked. */
std::vector<std::string> ixfRecords(const std::string &strFile)
{
  std::vector<std::string> v;
  size_t at = 0;
  while (at + 7 <= strFile.size()) {
    size_t n = std::stoul(strFile.substr(at, 6));
    std::string r = strFile.substr(at, 6 + n);
    at += 6 + n;
    if (r[6] == 'H' && r.size() >= 50) {
      r.replace(26, 14, 14, '#');   /* date and time of the header build */
    }
    v.push_back(r);
  }
  if (at != strFile.size()) v.push_back("trailing bytes: " + strFile.substr(at));
  return v;
}

/* DEL text with each LOB file reference replaced by the file's contents. */
std::string delWithLobs(const std::string &strDir, const std::string &strFile, const std::string &strLobPrefix)
{
  if (strLobPrefix.empty()) return strFile;
  std::regex re("\"(" + strLobPrefix + "[^\"]*)\"");
  std::string strOut;
  auto itLast = strFile.cbegin();
  for (std::sregex_iterator it(strFile.begin(), strFile.end(), re), end; it != end; ++it) {
    strOut.append(itLast, (*it)[0].first);
    strOut += "<lob " + std::to_string(zavtestReadText(strDir + "/" + (*it)[1].str()).size()) + ": " +
              zavtestReadText(strDir + "/" + (*it)[1].str()) + ">";
    itLast = (*it)[0].second;
  }
  strOut.append(itLast, strFile.cend());
  return strOut;
}

std::vector<std::string> lines(const std::string &str)
{
  std::vector<std::string> v;
  std::istringstream in(str);
  for (std::string s; std::getline(in, s);) v.push_back(s);
  return v;
}

/* A record or line for a failure message: bytes outside ASCII as \xNN. */
std::string printable(const std::string &str)
{
  std::string o;
  for (unsigned char uc : str.substr(0, 2000)) {
    if (uc >= 32 && uc < 127) {
      o += static_cast<char>(uc);
    } else {
      char ac[8];
      std::snprintf(ac, sizeof ac, "\\x%02X", uc);
      o += ac;
    }
  }
  return o;
}

/* The output of case c in strDir against the engine's (or another
   reference's) in strEngine: DEL
   lines with LOB file references as the files' contents, IXF records with
   the fields that may differ masked; a partitioned table's rows in any order. */
void expectEngineBytes(const Case &c, const std::string &strEngine, const std::string &strDir)
{
  std::string strOutput = c.pcOutput;
  bool boIxf = strOutput.find(".ixf") != std::string::npos;
  std::string strLob;
  std::smatch m;
  std::string strOptions = c.pcOptions;
  if (std::regex_search(strOptions, m, std::regex("LOBFILE\\(\"([^\"]*)\"\\)"))) strLob = m[1].str();
  std::string strWant = zavtestReadText(strEngine + "/" + strOutput);
  std::string strGot = zavtestReadText(strDir + "/" + strOutput);
  std::vector<std::string> vGot, vWant;
  if (boIxf) {
    vGot = ixfRecords(strGot);
    vWant = ixfRecords(strWant);
  } else {
    vGot = lines(delWithLobs(strDir, strGot, strLob));
    vWant = lines(delWithLobs(strEngine, strWant, strLob));
  }
  if (strOutput.rfind("emppart", 0) == 0) {
    /* one reader per partition: the partitions' rows may come in either order */
    std::sort(vGot.begin(), vGot.end());
    std::sort(vWant.begin(), vWant.end());
  }
  EXPECT_EQ(vGot.size(), vWant.size());
  for (size_t i = 0; i < vGot.size() && i < vWant.size(); i++)
    if (vGot[i] != vWant[i]) {
      ADD_FAILURE() << (boIxf ? "record " : "line ") << i << "\n  got:  " << printable(vGot[i])
                    << "\n  want: " << printable(vWant[i]);
      break;
    }
}

/* The sample instance, built once for the suite, and a run of db2zav on it. */
class SamplePaths : public ::testing::Test {
 protected:
  static void SetUpTestSuite()
  {
    gstrDir = zavprocBuildSample("/tmp/samplepaths_testXXXXXX", true);
    ASSERT_FALSE(gstrDir.empty()) << "the sample instance could not be built";
  }
  static void TearDownTestSuite()
  {
    if (!gstrDir.empty()) fs::remove_all(gstrDir);
  }

  /* Runs db2zav in a new directory named after the path with the arguments. */
  static JobRun run(Path path, const std::string &strName, const std::vector<std::string> &vArgs,
                 const std::string &strOnly = "",
                 const std::vector<Case> &vCases = {std::begin(gaCases), std::end(gaCases)},
                 const std::string &strControl = "")
  {
    std::string strCwd = gstrDir + "/" + strName;
    fs::create_directories(strCwd);
    std::ofstream(strCwd + "/job.ctl")
        << (strControl.empty() ? control(path, gstrDir + "/sample/backup", strOnly, vCases) : strControl);
    return zavprocRunSampleJob(strCwd, gstrDir + (path == ONLINE ? "/online" : "/sample/topzav"),
                               gstrDir + "/sample/home",
                               std::getenv("ASAN_OPTIONS") ? std::getenv("ASAN_OPTIONS") : "", vArgs);
  }

  static std::string gstrDir;
};

std::string SamplePaths::gstrDir;

TEST_F(SamplePaths, EveryReaderGivesTheEngineBytes)
{
  JobRun aRuns[4];
  for (int p = 0; p < 4; p++) {
    aRuns[p] = run(static_cast<Path>(p), gapcPath[p], {});
    EXPECT_EQ(aRuns[p].iStatus, 0) << gapcPath[p] << ":\n" << aRuns[p].strOut;
    EXPECT_NE(aRuns[p].strOut.find("ZORU412I ZAV SUCCESSFULLY ENDED"), std::string::npos) << aRuns[p].strOut;
  }
  std::string strEngine = gstrDir + "/engine";
  for (const Case &c : gaCases) {
    std::string strOutput = c.pcOutput;
    std::string strWant = zavtestReadText(strEngine + "/" + strOutput);
    ASSERT_FALSE(strWant.empty()) << strOutput;
    if (strOutput == "employee_skip.del") {
      /* SKIP 2 INTERVAL 3 keeps records 2, 5, 8 ... of the table, on the
         engine path too */
      std::vector<std::string> vAll = lines(zavtestReadText(strEngine + "/employee.del")), vKept;
      for (size_t i = 2; i < vAll.size(); i += 3) vKept.push_back(vAll[i]);
      EXPECT_EQ(lines(strWant), vKept);
    }
    for (int p = 0; p < 3; p++) {
      SCOPED_TRACE(std::string(gapcPath[p]) + ": " + strOutput);
      expectEngineBytes(c, strEngine, gstrDir + "/" + gapcPath[p]);
    }
  }
}

/* The Unicode database: every reader gives the same bytes, and the engine
   the same bytes as they for the character columns. */
TEST_F(SamplePaths, UnicodeDatabaseEveryReaderGivesTheSameBytes)
{
  for (int p = 0; p < 4; p++) {
    std::string strName = std::string(gapcPath[p]) + "_uni";
    Path path = static_cast<Path>(p);
    JobRun r = run(path, strName, {}, "", {}, uniControl(path, gstrDir + "/sample/backup"));
    /* the 819 files hold substitution characters: a warning (ZORU480W), whose low byte is the status */
    EXPECT_EQ(r.iStatus, oreasonExitStatus(ZORURUN_RC_REPLACED)) << strName << ":\n" << r.strOut;
    EXPECT_NE(r.strOut.find("ZORU480W"), std::string::npos) << r.strOut;
  }
  for (const UniCase &u : gaUniCases) {
    std::string strRef = gstrDir + (u.boEngine ? "/engine_uni" : "/forked_uni");
    ASSERT_FALSE(zavtestReadText(strRef + "/" + u.c.pcOutput).empty()) << strRef << "/" << u.c.pcOutput;
    for (int p = u.boEngine ? 0 : 1; p < 3; p++) {
      SCOPED_TRACE(std::string(gapcPath[p]) + ": " + u.c.pcOutput);
      expectEngineBytes(u.c, strRef, gstrDir + "/" + gapcPath[p] + "_uni");
    }
  }
}

/* --part 1: only the rows in partition 1's containers (the second half of
   the engine's rows), from the containers and from partition 1's image,
   though the output file names no partition. */
TEST_F(SamplePaths, PartOneGivesTheSecondPartitionsRows)
{
  std::string strAll = zavtestReadText(gstrDir + "/engine/emppart.del");
  if (strAll.empty()) {
    JobRun r = run(ENGINE, "engine", {});
    ASSERT_EQ(r.iStatus, 0) << r.strOut;
    strAll = zavtestReadText(gstrDir + "/engine/emppart.del");
  }
  std::vector<std::string> vLines;
  std::istringstream in(strAll);
  for (std::string s; std::getline(in, s);) vLines.push_back(s + "\n");
  ASSERT_EQ(vLines.size(), 20u);
  std::string strWant;
  for (size_t i = vLines.size() / 2; i < vLines.size(); i++) strWant += vLines[i];
  for (Path path : {FORKED, ONLINE, BACKUP}) {
    std::string strName = std::string(gapcPath[path]) + "_part1";
    JobRun r = run(path, strName, {"--part", "1"}, "emppart.del");
    EXPECT_EQ(r.iStatus, 0) << strName << ":\n" << r.strOut;
    EXPECT_EQ(zavtestReadText(gstrDir + "/" + strName + "/emppart.del"), strWant) << strName;
  }
}

/* LOBs over 32700 bytes unloaded into their rows (no LOB files): every path
   writes their first 32700 bytes, the same files as the engine's, tells per
   file how many values it cut and where the first is (ZORU462W) and ends
   with the warning. */
TEST_F(SamplePaths, LobsOverTheInlineLimitAreCutAlikeWithAWarning)
{
  std::vector<Case> vCases;
  for (const BigCase &big : gaBigLobCases) vCases.push_back(big.c);
  for (Path path : {ENGINE, FORKED, ONLINE, BACKUP}) {
    std::string strName = std::string(gapcPath[path]) + "_big";
    SCOPED_TRACE(strName);
    JobRun r = run(path, strName, {}, "", vCases);
    EXPECT_EQ(r.iStatus, oreasonExitStatus(ZORURUN_RC_LOBCUT)) << r.strOut;
    for (const BigCase &big : gaBigLobCases)
      EXPECT_NE(r.strOut.find(std::string("ZORU462W ") + big.pcCut +
                              " ARE CUT TO THEIR FIRST 32700 BYTES (FIRST: ROW 4)\n"),
                std::string::npos)
          << r.strOut;
    char acEnd[64];
    std::snprintf(acEnd, sizeof acEnd, "ZORU366I ZAV RETURN CODE 4 (REASON CODE 0x%x)", ZORURUN_RC_LOBCUT);
    EXPECT_NE(r.strOut.find(acEnd), std::string::npos) << r.strOut;
    EXPECT_EQ(r.strOut.find("ZORU412I"), std::string::npos) << r.strOut;
    if (path == ENGINE) continue;
    for (const Case &c : vCases) {
      SCOPED_TRACE(c.pcOutput);
      expectEngineBytes(c, gstrDir + "/engine_big", gstrDir + "/" + strName);
      /* a DEL file has nothing to mask: byte for byte */
      std::string strOutput = c.pcOutput;
      if (strOutput.find(".del") != std::string::npos) {
        EXPECT_TRUE(zavtestReadText(gstrDir + "/engine_big/" + strOutput) == zavtestReadText(gstrDir + "/" + strName + "/" + strOutput));
      }
    }
  }

  /* what is cut: row 4's CLOB of DOCS holds the first 32700 bytes of the
     value that a LOB file receives whole */
  std::string strEngine = gstrDir + "/engine";
  if (zavtestReadText(strEngine + "/docs_lob.del").empty()) {
    JobRun r = run(ENGINE, "engine", {});
    ASSERT_EQ(r.iStatus, 0) << r.strOut;
  }
  std::string strLobRows = zavtestReadText(strEngine + "/docs_lob.del");
  size_t ulRow4 = strLobRows.find("\n4,");
  ASSERT_NE(ulRow4, std::string::npos) << strLobRows;
  std::smatch m;
  std::string strRow4 = strLobRows.substr(ulRow4 + 1);
  ASSERT_TRUE(std::regex_search(strRow4, m, std::regex("\"(docs_lob[^\"]*)\""))) << strRow4;
  std::string strClob = zavtestReadText(strEngine + "/" + m[1].str());
  ASSERT_EQ(strClob.size(), 40000u);
  std::string strBig = zavtestReadText(gstrDir + "/engine_big/docs_big.del");
  size_t ulBig4 = strBig.find("\n4,\"big\",\"");
  ASSERT_NE(ulBig4, std::string::npos) << printable(strBig);
  EXPECT_EQ(strBig.substr(ulBig4 + 10, 32701), strClob.substr(0, 32700) + "\"");
}

}  // namespace
