/*
** delixf_test.cpp
**   DEL and IXF files as the common readers read them, through the real
**   program run as a subprocess on a fresh copy of the bundled sample
**   instance.  Every file of the sample job, and of a job that unloads every
**   table of the sample (every column type, nulls, empty values, LOBs in the
**   rows and in LOB files, an IXF output rotated at FILEMAXSIZE), is read
**   back by tests/run/readback.py (Python's csv module for DEL, its own IXF
**   decoder) and compared value by value with the stand-in's rows, once per
**   path (the rows of gapathPaths: the engine, the forked and the online
**   readers of the containers, the backup image); the IXF headers of the
**   paths must match.  Then the delimiters inside values, the
**   configuration's doubledelim switch, the output code page of DEL files,
**   IXF files rotated at FILEMAXSIZE and the options a format does not
**   apply: messages, exit status and files.
*/
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>
#include "tests/zavproc.h"
#include "tests/zavtest.h"

namespace {

namespace fs = std::filesystem;

const std::string gstrProgram = ZAV_BINARY_DIR "/driver/db2zav";
const std::string gstrSampleBuilder = ZAV_BINARY_DIR "/tools/zavsample";
const std::string gstrReadBack = ZAV_SOURCE_DIR "/tests/run/readback.py";
const std::string gstrSampleJob = ZAV_SOURCE_DIR "/tools/sample/unload.ctl";

using RunResult = zavprocResult;

/* Runs argv with exactly the environment given, in strCwd. */
RunResult run(const std::vector<std::string> &vArgv, const std::map<std::string, std::string> &mEnv,
              const std::string &strCwd)
{
  zavprocSpec spec;
  spec.vArgv = vArgv;
  spec.mEnv = mEnv;
  spec.strCwd = strCwd;
  return zavprocRun(spec);
}

/* The messages of a run, the listing of the control file left out. */
std::vector<std::string> messages(const std::string &strOut)
{
  std::vector<std::string> v;
  std::istringstream in(strOut);
  std::string strLine;
  while (std::getline(in, strLine))
    if (strLine.rfind("ZOR", 0) == 0) v.push_back(strLine.substr(0, 8));
  return v;
}

bool has(const std::string &strOut, const std::string &strText) { return strOut.find(strText) != std::string::npos; }

std::vector<std::string> lines(const std::string &str)
{
  std::vector<std::string> v;
  std::istringstream in(str);
  for (std::string s; std::getline(in, s);) v.push_back(s);
  return v;
}

/*
** The paths a SELECT can take to its rows, each a row: the clause of the
** GLOBAL block, the clause of every UNLOAD block (%s: the sample's
** directory) and a line of the configuration that choose it.
*/
struct Path {
  const char *pcName;
  const char *pcGlobal;
  const char *pcBlock;
  const char *pcConfig;
};
const Path gapathPaths[] = {
    {"engine", "GLOBAL CONNECT TO SAMPLE DB2 FORCE ;\n", "", ""},
    {"forked", "GLOBAL CONNECT TO SAMPLE DB2 NO ;\n", "", ""},
    {"online", "GLOBAL CONNECT TO SAMPLE DB2 NO ;\n", "", "ptk001=1\n"},
    {"backup", "GLOBAL CONNECT TO SAMPLE ;\n",
     "  DB2 NO BACKUP \"%s/backup/SAMPLE.0.zavinst.NODE0000.CATN0000.20040101120000.001\"\n", ""},
};
const Path &gpathEngine = gapathPaths[0];

/* Every table of the sample but the partitioned one: every column type, in DEL and IXF, LOBs held in
   the rows and in LOB files, one IXF output rotated at FILEMAXSIZE. */
struct Unload {
  const char *pcSpace;
  const char *pcSelect;
  const char *pcOptions;
};
const Unload gaunloadEveryTable[] = {
    {"USERSPACE1", "SELECT * FROM ZAVTEST.DEPT", "OUTPUT(\"dept.del\") FORMAT DEL"},
    {"USERSPACE1", "SELECT * FROM ZAVTEST.DEPT", "OUTPUT(\"dept.ixf\") FORMAT IXF"},
    /* NOTES 4 and DOCS 4 hold values over 32700 bytes, which an inline file
       holds cut (with a warning); they are read back from LOB files only */
    {"USERSPACE1", "SELECT * FROM ZAVTEST.NOTES WHERE ID < 4", "OUTPUT(\"notes.del\") FORMAT DEL"},
    {"USERSPACE1", "SELECT * FROM ZAVTEST.NOTES WHERE ID < 4", "OUTPUT(\"notes.ixf\") FORMAT IXF"},
    {"USERSPACE1", "SELECT * FROM ZAVTEST.NOTES", "OUTPUT(\"notesf.ixf\") LOBFILE(\"nl\") FORMAT IXF"},
    {"DMSDATA", "SELECT * FROM ZAVTEST.EMPLOYEE", "OUTPUT(\"emp.del\") FORMAT DEL"},
    {"DMSDATA", "SELECT * FROM ZAVTEST.EMPLOYEE", "OUTPUT(\"emp.ixf\") FORMAT IXF"},
    {"DMSDATA", "SELECT * FROM ZAVTEST.EMPLOYEE", "OUTPUT(\"rot.ixf\") FILEMAXSIZE 16K FORMAT IXF"},
    {"DMSDATA", "SELECT * FROM ZAVTEST.DOCS WHERE ID <> 4", "OUTPUT(\"docs.del\") FORMAT DEL"},
    {"DMSDATA", "SELECT * FROM ZAVTEST.DOCS WHERE ID <> 4", "OUTPUT(\"docs.ixf\") FORMAT IXF"},
    {"DMSDATA", "SELECT * FROM ZAVTEST.DOCS", "OUTPUT(\"docsf.del\") LOBFILE(\"dl\") FORMAT DEL"},
    {"DMSDATA", "SELECT * FROM ZAVTEST.DOCS", "OUTPUT(\"docsf.ixf\") LOBFILE(\"il\") FORMAT IXF"},
};

/* The control file of the unloads on a path (strSample: the sample's directory). */
std::string job(const Path &path, const std::vector<Unload> &vUnloads, const std::string &strSample)
{
  std::string str = path.pcGlobal;
  char ac[1024];
  std::snprintf(ac, sizeof ac, path.pcBlock, strSample.c_str());
  for (const Unload &u : vUnloads)
    str += std::string("UNLOAD TABLESPACE ") + u.pcSpace + "\n" + ac + "  " + u.pcSelect + " ;\n    " + u.pcOptions +
           "\n;\n";
  return str;
}

/* A fresh copy of the sample instance per test, and a working directory for the runs. */
class DelIxf : public ::testing::Test {
 protected:
  void SetUp() override
  {
    char acDir[] = "/tmp/delixf_testXXXXXX";
    ASSERT_NE(mkdtemp(acDir), nullptr);
    strDir = acDir;
    RunResult r = run({gstrSampleBuilder, strDir + "/sample", strDir + "/nomsg", gstrProgram}, {}, strDir);
    ASSERT_EQ(r.iStatus, 0) << r.strOut;
    strConfig = zavtestReadText(strDir + "/sample/topzav/cfg/db2zav.cfg");
    mEnv = {{"TOPZAV", strDir + "/sample/topzav"},
            {"ZAVDB2_INSTHOME", strDir + "/sample/home"},
            {"DB2INSTANCE", "zavinst"},
            {"LANG", "C"},
            {"PATH", "/usr/bin:/bin"}};
  }
  void TearDown() override
  {
    if (!strDir.empty()) fs::remove_all(strDir);
  }
  /* A new empty working directory. */
  std::string work(const std::string &strName)
  {
    std::string str = strDir + "/" + strName;
    fs::create_directories(str);
    return str;
  }
  std::string ctl(const std::string &strCwd, const std::string &strText)
  {
    std::ofstream(strCwd + "/job.ctl") << strText;
    return strCwd + "/job.ctl";
  }
  RunResult unload(const std::string &strCwd, const std::string &strCtl, const std::vector<std::string> &vMore = {})
  {
    std::vector<std::string> v = {gstrProgram, "-f", strCtl};
    v.insert(v.end(), vMore.begin(), vMore.end());
    return run(v, mEnv, strCwd);
  }
  RunResult readBack(const std::string &strCwd, const std::string &strCtl, const std::string &strHeaders = "")
  {
    std::vector<std::string> v = {"/usr/bin/python3", gstrReadBack, "--store",
                                  strDir + "/sample/data/zavinst/NODE0000/SQL00001", "--ctl", strCtl, "--dir", strCwd};
    if (!strHeaders.empty()) v.insert(v.end(), {"--headers", strHeaders});
    return run(v, {{"PATH", "/usr/bin:/bin"}}, strCwd);
  }
  /* The sample's configuration and one more line. */
  void config(const std::string &strLine)
  {
    std::ofstream(strDir + "/sample/topzav/cfg/db2zav.cfg", std::ios::trunc) << strConfig << strLine;
  }
  std::string strDir, strConfig;
  std::map<std::string, std::string> mEnv;
};

/* ---------------------------------------------------------- round trips */

TEST_F(DelIxf, EveryFileReadsBackAsTheStandInsRowsOnEveryPath)
{
  std::vector<Unload> vUnloads(std::begin(gaunloadEveryTable), std::end(gaunloadEveryTable));
  std::map<std::string, std::string> mHeaders;
  for (const Path &path : gapathPaths) {
    SCOPED_TRACE(path.pcName);
    config(path.pcConfig);
    std::string strCwd = work(path.pcName);
    std::string strCtl = ctl(strCwd, job(path, vUnloads, strDir + "/sample"));
    RunResult r = unload(strCwd, strCtl);
    EXPECT_EQ(r.iStatus, 0) << r.strOut;
    EXPECT_TRUE(has(r.strOut, "ZORU412I")) << r.strOut;
    EXPECT_FALSE(has(r.strOut, "ZORU062I") && std::string(path.pcName) != "engine") << r.strOut;
    /* the rotated IXF output made more than one file, each read as a complete IXF file */
    EXPECT_TRUE(fs::exists(strCwd + "/rot.001"));
    RunResult rb = readBack(strCwd, strCtl, strCwd + "/headers.txt");
    EXPECT_EQ(rb.iStatus, 0) << rb.strOut;
    EXPECT_TRUE(has(rb.strOut, " 0 differences")) << rb.strOut;
    /* csv reads an empty string as a null: the bytes tell them apart */
    std::string strDocs = zavtestReadText(strCwd + "/docs.del");
    EXPECT_TRUE(has(strDocs, "\n2,,,,\n")) << strDocs.substr(0, 200);
    EXPECT_TRUE(has(strDocs, "\n5,\"empty\",\"\",\"\",\"\"\n"));
    mHeaders[path.pcName] = zavtestReadText(strCwd + "/headers.txt");
    EXPECT_FALSE(mHeaders[path.pcName].empty());
  }
  /* the same table gets the same IXF header whatever path read it */
  std::vector<std::string> vEngine = lines(mHeaders["engine"]);
  for (auto &[strName, strHeaders] : mHeaders) {
    std::vector<std::string> v = lines(strHeaders);
    EXPECT_EQ(v.size(), vEngine.size()) << strName;
    for (size_t i = 0; i < v.size() && i < vEngine.size(); i++)
      if (v[i] != vEngine[i]) {
        size_t ulAt = 0;
        while (ulAt < v[i].size() && ulAt < vEngine[i].size() && v[i][ulAt] == vEngine[i][ulAt]) ulAt++;
        size_t ulFrom = ulAt < 40 ? 0 : ulAt - 40;
        ADD_FAILURE() << strName << ", " << v[i].substr(0, 20) << " at " << ulAt << ":\n  " << v[i].substr(ulFrom, 80)
                      << "\n  engine: " << vEngine[i].substr(ulFrom, 80);
        break;
      }
  }
}

TEST_F(DelIxf, TheSampleJobReadsBack)
{
  /* run where scripts/run-sample runs it: its backup lies in ../backup */
  std::string strCwd = work("sample/out");
  RunResult r = unload(strCwd, gstrSampleJob);
  EXPECT_EQ(r.iStatus, 0) << r.strOut;
  RunResult rb = readBack(strCwd, gstrSampleJob);
  EXPECT_EQ(rb.iStatus, 0) << rb.strOut;
  EXPECT_TRUE(has(rb.strOut, " 0 differences")) << rb.strOut;
}

/* --------------------------------------------------- delimiters in values */

TEST_F(DelIxf, DelimitersInsideValuesAreDoubledUnlessAskedOtherwise)
{
  const std::string strSelect =
      "UNLOAD TABLESPACE DMSDATA\n"
      "  SELECT EMPNO, LASTNAME FROM ZAVTEST.EMPLOYEE WHERE EMPNO = '000220' ;\n"
      "  OUTPUT(\"e.del\") FORMAT DEL %s\n;\n";
  const std::string strDoubled = "\"000220\",\"LUTZ, \"\"JEN\"\"\"\n";
  const std::string strBare = "\"000220\",\"LUTZ, \"JEN\"\"\n";
  struct {
    const char *pcWhat;
    const char *pcOptions;   /* after FORMAT DEL */
    const char *pcConfig;    /* a line of the configuration file */
    int iStatus;
    std::string strFile;     /* empty: no file */
    std::vector<std::string> vMessages;
  } acase[] = {
      {"by default", "", "", 0, strDoubled, {"ZORU062I", "ZORU410I", "ZORU412I"}},
      {"DOUBLE DELIM ON", "OPTIONS DOUBLE DELIM ON", "", 0, strDoubled, {"ZORU062I", "ZORU410I", "ZORU412I"}},
      {"DOUBLE DELIM OFF", "OPTIONS DOUBLE DELIM OFF", "", 0, strBare, {"ZORU062I", "ZORU410I", "ZORU412I"}},
      {"doubledelim=1", "", "doubledelim=1\n", 0, strDoubled, {"ZORU062I", "ZORU410I", "ZORU412I"}},
      {"doubledelim=no", "", "doubledelim=no\n", 0, strBare, {"ZORU062I", "ZORU410I", "ZORU412I"}},
      {"the option over the configuration", "OPTIONS DOUBLE DELIM ON", "doubledelim=OFF\n", 0, strDoubled,
       {"ZORU062I", "ZORU410I", "ZORU412I"}},
      {"doubledelim=maybe", "", "doubledelim=maybe\n", 2, "", {"ZORU473E", "ZORU366I"}},
  };
  int i = 0;
  for (auto &c : acase) {
    SCOPED_TRACE(c.pcWhat);
    config(c.pcConfig);
    std::string strCwd = work("d" + std::to_string(i++));
    char ac[1024];
    std::snprintf(ac, sizeof ac, strSelect.c_str(), c.pcOptions);
    RunResult r = unload(strCwd, ctl(strCwd, gpathEngine.pcGlobal + std::string(ac)));
    EXPECT_EQ(r.iStatus, c.iStatus) << r.strOut;
    EXPECT_EQ(messages(r.strOut), c.vMessages) << r.strOut;
    if (c.strFile.empty())
      EXPECT_FALSE(fs::exists(strCwd + "/e.del"));
    else
      EXPECT_EQ(zavtestReadText(strCwd + "/e.del"), c.strFile);
  }
}

/* ------------------------------------------------- the DEL file's code page */

TEST_F(DelIxf, DelimitedFilesAreWrittenInTheOutputCodePageOrRefused)
{
  const std::string strJob =
      "UNLOAD TABLESPACE DMSDATA\n"
      "  SELECT EMPNO, LASTNAME, HIREDATE, SALARY FROM ZAVTEST.EMPLOYEE WHERE EMPNO = '000220' ;\n"
      "  OUTPUT(\"e.del\") CCSID(%s) FORMAT DEL\n;\n";
  const std::string strRow = "\"000220\",\"LUTZ, \"\"JEN\"\"\",19680829,+0029840.00\n";
  std::string strRow1200;   /* UTF-16 high byte first, no byte-order mark */
  for (char c : strRow) strRow1200 += std::string(1, '\0') + c;
  struct {
    const char *pcCcsid;
    int iStatus;
    std::string strFile;   /* empty: no file */
    std::vector<std::string> vMessages;
  } acase[] = {
      /* ISO-8859-1 and UTF-8 write the framing bytes as they are in ASCII, UTF-16 as two bytes each */
      {"819", 0, strRow, {"ZORU062I", "ZORU410I", "ZORU412I"}},
      {"UTF8", 0, strRow, {"ZORU062I", "ZORU410I", "ZORU412I"}},
      {"UTF16", 0, strRow1200, {"ZORU062I", "ZORU410I", "ZORU412I"}},
      /* a code page without converter, UTF-16 low byte first and EBCDIC would get a file no reader can decode */
      {"12345", 0x30, "", {"ZORU062I", "ZORU470E", "ZORU366I"}},
      {"1202", 0x30, "", {"ZORU062I", "ZORU470E", "ZORU366I"}},
      {"37", 0x30, "", {"ZORU062I", "ZORU470E", "ZORU366I"}},
  };
  int i = 0;
  for (auto &c : acase) {
    SCOPED_TRACE(c.pcCcsid);
    std::string strCwd = work("c" + std::to_string(i++));
    char ac[1024];
    std::snprintf(ac, sizeof ac, strJob.c_str(), c.pcCcsid);
    RunResult r = unload(strCwd, ctl(strCwd, gpathEngine.pcGlobal + std::string(ac)));
    EXPECT_EQ(r.iStatus, c.iStatus) << r.strOut;
    EXPECT_EQ(messages(r.strOut), c.vMessages) << r.strOut;
    if (c.iStatus != 0) {
      EXPECT_TRUE(has(r.strOut, "ZORU366I ZAV RETURN CODE 8 (REASON CODE 0x105a030)\n")) << r.strOut;
    }
    if (c.strFile.empty())
      EXPECT_FALSE(fs::exists(strCwd + "/e.del"));
    else
      EXPECT_EQ(zavtestReadText(strCwd + "/e.del"), c.strFile);
  }
}

/* ----------------------------------------------------- IXF and FILEMAXSIZE */

TEST_F(DelIxf, EveryFileOfARotatedIxfOutputIsACompleteIxfFile)
{
  const std::string strJob =
      "UNLOAD TABLESPACE DMSDATA\n"
      "  SELECT * FROM ZAVTEST.EMPLOYEE ; OUTPUT(\"e.ixf\") FILEMAXSIZE %s FORMAT IXF\n;\n";
  /* the header of EMPLOYEE's 14 columns is 57 + 1610 + 14 x 878 bytes */
  const size_t ulHeader = 57 + 1610 + 14 * 878;

  /* 3K cannot hold the header: refused before anything is written */
  std::string strCwd = work("small");
  char ac[1024];
  std::snprintf(ac, sizeof ac, strJob.c_str(), "3K");
  RunResult r = unload(strCwd, ctl(strCwd, gpathEngine.pcGlobal + std::string(ac)));
  EXPECT_EQ(r.iStatus, 0x32);
  EXPECT_EQ(messages(r.strOut), (std::vector<std::string>{"ZORU062I", "ZORU475E", "ZORU366I"})) << r.strOut;
  EXPECT_TRUE(has(r.strOut, "ZORU475E FILEMAXSIZE OF 3072 BYTES LEAVES NO ROOM FOR ROWS AFTER THE IXF HEADER OF " +
                                std::to_string(ulHeader) + " BYTES\n"))
      << r.strOut;
  EXPECT_FALSE(fs::exists(strCwd + "/e.ixf"));

  /* 15K: each file the header and the rows that fit after it, within FILEMAXSIZE */
  strCwd = work("rotated");
  std::snprintf(ac, sizeof ac, strJob.c_str(), "15K");
  r = unload(strCwd, ctl(strCwd, gpathEngine.pcGlobal + std::string(ac)));
  EXPECT_EQ(r.iStatus, 0) << r.strOut;
  std::vector<std::string> vFiles = {"e.ixf"};
  for (int n = 1; fs::exists(strCwd + "/e." + std::string(n < 10 ? "00" : "0") + std::to_string(n)); n++)
    vFiles.push_back("e." + std::string(n < 10 ? "00" : "0") + std::to_string(n));
  EXPECT_GE(vFiles.size(), 3u);
  std::string strHeader;
  for (const std::string &strFile : vFiles) {
    SCOPED_TRACE(strFile);
    std::string strData = zavtestReadText(strCwd + "/" + strFile);
    EXPECT_LE(strData.size(), 15u * 1024);
    ASSERT_GT(strData.size(), ulHeader);
    if (strHeader.empty()) strHeader = strData.substr(0, ulHeader);
    EXPECT_EQ(strData.substr(0, ulHeader), strHeader);   /* the same H, T and C records */
    EXPECT_EQ(strData.substr(6, 4), "HIXF");
    EXPECT_EQ(strData.substr(ulHeader + 6, 4), "D001");
  }
  /* and the rows, read across the files, are the table's */
  std::ofstream(strCwd + "/read.ctl") << gpathEngine.pcGlobal
                                       << "UNLOAD TABLESPACE DMSDATA SELECT * FROM ZAVTEST.EMPLOYEE ; "
                                          "OUTPUT(\"e.ixf\") FILEMAXSIZE 15K FORMAT IXF ;\n";
  RunResult rb = readBack(strCwd, strCwd + "/read.ctl");
  EXPECT_EQ(rb.iStatus, 0) << rb.strOut;
}

/* ------------------------------------------------------- ignored options */

TEST_F(DelIxf, OptionsTheFormatDoesNotApplyAreReportedAtCheckTime)
{
  struct {
    const char *pcWhat;
    const char *pcOptions;
    std::vector<std::string> vWarnings;
  } acase[] = {
      {"date and time layouts under DEL", "OPTIONS DATE DATE_A TIME TIME_B FORMAT DEL",
       {"ZORU474W OPTION DATE IS IGNORED UNDER FORMAT DEL", "ZORU474W OPTION TIME IS IGNORED UNDER FORMAT DEL"}},
      {"NULL texts", "OPTIONS NULL 'N' 'X' FORMAT DELIMITED", {"ZORU474W OPTION NULL IS IGNORED UNDER FORMAT DELIMITED"}},
      {"NULL DELIM", "FORMAT DELIMITED NULL DELIM", {"ZORU474W OPTION NULL DELIM IS IGNORED UNDER FORMAT DELIMITED"}},
      {"PIC on DECIMAL", "OPTIONS PIC('+', TRAIL, ',', '*.*') FORMAT DEL",
       {"ZORU474W OPTION PIC IS IGNORED UNDER FORMAT DEL"}},
      {"DELIMITED applies the layouts", "OPTIONS DATE DATE_A FORMAT DELIMITED", {}},
      {"IXF keeps the database's code pages", "CCSID(1208) FORMAT IXF",
       {"ZORU474W OPTION CCSID IS IGNORED UNDER FORMAT IXF"}},
  };
  int i = 0;
  for (auto &c : acase) {
    SCOPED_TRACE(c.pcWhat);
    std::string strCwd = work("o" + std::to_string(i++));
    std::string strJob = gpathEngine.pcGlobal + std::string("UNLOAD TABLESPACE DMSDATA\n"
                                                               "  SELECT EMPNO, HIREDATE, SALARY FROM ZAVTEST.EMPLOYEE ;\n"
                                                               "  OUTPUT(\"e.del\") ") +
                         c.pcOptions + "\n;\n";
    RunResult r = unload(strCwd, ctl(strCwd, strJob), {"-n"});
    EXPECT_EQ(r.iStatus, 0) << r.strOut;
    std::vector<std::string> vWarnings;
    std::istringstream in(r.strOut);
    std::string strLine;
    while (std::getline(in, strLine))
      if (strLine.rfind("ZORU474W", 0) == 0) vWarnings.push_back(strLine);
    EXPECT_EQ(vWarnings, c.vWarnings) << r.strOut;
  }
}

}  // namespace
