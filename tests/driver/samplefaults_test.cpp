/*
** samplefaults_test.cpp
**   The whole program, as a subprocess, on a copy of the bundled sample
**   instance, where a run used to lose data in silence:
**     - MAXROWS with LOB files over DOCS (two LOB columns): every LOB file
**       a row names exists and holds the value, on the forked reader, the
**       online reader and the backup image;
**     - a catalogue partition's backup image whose SYSCOLUMNS cannot be
**       read past its first page, or holds a damaged page or column
**       record, or a column record of another table, or whose SYSTABLES
**       or SYSTABLESPACES holds a damaged or renamed record: the request
**       fails with ZORU428E or ZORU435E naming the table and the page,
**       and writes no rows;
**     - a LOB directory below a regular file (refused before anything is
**       written: ZORU494E) and a LOB file that cannot be written whole
**       (the last LOB file on a full device), on the forked reader (DMS
**       and SMS), the online reader and the backup image: ZORU455E names
**       the file and the table, the run fails;
**     - long fields and LOBs whose files are cut short, read by the forked
**       reader's long-field and LOB children (ZORU456E, ZORU455E) and by
**       the online reader: the run fails.
*/
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <cstring>
#include <fstream>
#include <functional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "common/obyte.h"
#include "tests/zavproc.h"
#include "tests/zavtest.h"

namespace fs = std::filesystem;

namespace {

const char *const gpcImage0 = "SAMPLE.0.zavinst.NODE0000.CATN0000.20040101120000.001";

using JobRun = zavprocResult;

/* The sample, built once for the suite, and runs of db2zav on it. */
class SampleFaults : public ::testing::Test {
 protected:
  static void SetUpTestSuite()
  {
    gstrDir = zavprocBuildSample("/tmp/samplefaults_testXXXXXX", true);
    ASSERT_FALSE(gstrDir.empty()) << "the sample instance could not be built";
  }
  static void TearDownTestSuite()
  {
    if (!gstrDir.empty()) fs::remove_all(gstrDir);
  }

  /* Runs db2zav on strControl in the new directory strName, with the
     installation strTop; pfnPrepare gets the directory first. */
  static JobRun run(const std::string &strName, const std::string &strControl, const std::string &strTop = "topzav",
                    const std::function<void(const std::string &)> &pfnPrepare = nullptr)
  {
    std::string strCwd = gstrDir + "/" + strName;
    fs::remove_all(strCwd);
    fs::create_directories(strCwd);
    std::ofstream(strCwd + "/job.ctl") << strControl;
    if (pfnPrepare) pfnPrepare(strCwd);
    return zavprocRunSampleJob(strCwd, gstrDir + (strTop == "online" ? "/online" : "/sample/topzav"),
                               gstrDir + "/sample/home",
                               std::getenv("ASAN_OPTIONS") ? std::getenv("ASAN_OPTIONS") : "");
  }

  static std::string gstrDir;
};

std::string SampleFaults::gstrDir;

/* The LOB file names of an output, in the order the rows name them. */
std::vector<std::string> lobNames(const std::string &strOutput)
{
  std::vector<std::string> v;
  std::string strText = zavtestReadText(strOutput);
  std::regex re("\"(doclob[^\"]*)\"");
  for (std::sregex_iterator it(strText.begin(), strText.end(), re), end; it != end; ++it) v.push_back((*it)[1].str());
  return v;
}

/*
** DOCS holds two LOB columns: with MAXROWS 3 (and 4, past the row whose
** LOBs are the largest) every row written names LOB files that exist and
** hold the engine's values, on every reader.
*/
TEST_F(SampleFaults, MaxRowsWithLobFilesNamesOnlyWrittenFiles)
{
  struct Reader {
    const char *pcName;
    bool boBackup;
    const char *pcTop;
  } aReaders[] = {{"engine", false, "topzav"}, {"forked", false, "topzav"}, {"online", false, "online"},
                  {"backup", true, "topzav"}};
  for (int iMaxRows : {3, 4}) {
    std::vector<std::string> vEngine;   /* the engine's rows, each LOB replaced by its value */
    for (const Reader &reader : aReaders) {
      std::string strName = std::string(reader.pcName) + "_" + std::to_string(iMaxRows);
      SCOPED_TRACE(strName);
      bool boEngine = std::string(reader.pcName) == "engine";
      std::string strControl = std::string("GLOBAL CONNECT TO SAMPLE") + (boEngine ? " DB2 FORCE" : "") +
                               " ;\nUNLOAD TABLESPACE DMSDATA\n" +
                               (reader.boBackup ? "  DB2 NO BACKUP \"" + gstrDir + "/sample/backup/" + gpcImage0 + "\"\n"
                                                : "") +
                               "  SELECT ID, BODY, PHOTO FROM ZAVTEST.DOCS ;\n  OUTPUT(\"docs.del\")\n"
                               "  LOBFILE(\"doclob\") MAXROWS " +
                               std::to_string(iMaxRows) + "\n  FORMAT DEL\n;\n";
      JobRun r = run(strName, strControl, reader.pcTop);
      ASSERT_EQ(r.iStatus, 0) << r.strOut;
      std::string strDir = gstrDir + "/" + strName;
      std::istringstream in(zavtestReadText(strDir + "/docs.del"));
      std::vector<std::string> vRows;
      std::set<std::string> setNames;
      for (std::string strLine; std::getline(in, strLine);) {
        std::string strRow;
        std::regex re("\"(doclob[^\"]*)\"");
        auto itLast = strLine.cbegin();
        for (std::sregex_iterator it(strLine.begin(), strLine.end(), re), end; it != end; ++it) {
          std::string strFile = (*it)[1].str();
          EXPECT_TRUE(setNames.insert(strFile).second) << strFile << " named twice";
          EXPECT_TRUE(fs::exists(strDir + "/" + strFile)) << strFile << " named in: " << strLine;
          strRow.append(itLast, (*it)[0].first);
          strRow += "<" + zavtestReadText(strDir + "/" + strFile) + ">";
          itLast = (*it)[0].second;
        }
        strRow.append(itLast, strLine.cend());
        vRows.push_back(strRow);
      }
      EXPECT_EQ(vRows.size(), static_cast<size_t>(iMaxRows)) << r.strOut;
      EXPECT_FALSE(setNames.empty());
      if (boEngine) {
        vEngine = vRows;
      } else {
        EXPECT_EQ(vRows, vEngine);
      }
    }
  }
}

/*
** The catalogue partition's image with SYSCOLUMNS (table-space 0, object 3)
** cut after its first page: the object is split into one of page 0 and one
** of page 1 that holds 512 bytes less than a page (its header takes their
** place, so the objects after it stay where they were).  The image opens,
** the first page of SYSCOLUMNS is read, the second cannot be.
**   Object header, integers little-endian: 0 "SQLUBROBJHEAD", 0x14 data
**   size, 0x1C object id, 0x1E type, 0x128 first page, 0x12C table-space
**   id; headers follow each other's data, the first at 4096.
*/
TEST_F(SampleFaults, BackupCatalogueReadPartWayFailsTheRequest)
{
  std::string strImage = zavtestReadText(gstrDir + "/sample/backup/" + gpcImage0);
  ASSERT_GT(strImage.size(), 4096u);
  auto *puc = reinterpret_cast<unsigned char *>(strImage.data());
  size_t ulAt = 4096, ulFound = 0;
  while (ulAt + 512 <= strImage.size() && strImage.compare(ulAt, 13, "SQLUBROBJHEAD") == 0) {
    uint32_t ulSize = obyteGetLE32(puc + ulAt + 0x14);
    if (obyteGetLE16(puc + ulAt + 0x1C) == 3 && puc[ulAt + 0x1E] == 0 && obyteGetLE32(puc + ulAt + 0x12C) == 0) {
      ulFound = ulAt;
      break;
    }
    ulAt += 512 + ulSize;
  }
  ASSERT_NE(ulFound, 0u) << "no SYSCOLUMNS object in the image";
  const uint32_t P = 4096;
  ASSERT_GE(obyteGetLE32(puc + ulFound + 0x14), 2 * P) << "SYSCOLUMNS of one page: nothing to cut";
  std::string strHeader = strImage.substr(ulFound, 512);
  std::string strPage1 = strImage.substr(ulFound + 512 + P, P - 512);
  obytePutLE32(puc + ulFound + 0x14, P);                              /* object of page 0 */
  auto *pucHeader = reinterpret_cast<unsigned char *>(strHeader.data());
  obytePutLE32(pucHeader + 0x14, P - 512);                            /* page 1, cut short */
  obytePutLE32(pucHeader + 0x128, 1);
  strImage.replace(ulFound + 512 + P, 512 + P - 512, strHeader + strPage1);
  fs::create_directories(gstrDir + "/damaged");
  std::ofstream(gstrDir + "/damaged/" + gpcImage0, std::ios::binary) << strImage;

  std::string strControl = "GLOBAL CONNECT TO SAMPLE ;\nUNLOAD TABLESPACE USERSPACE1\n  DB2 NO BACKUP \"" + gstrDir +
                           "/damaged/" + gpcImage0 +
                           "\"\n  SELECT * FROM ZAVTEST.DEPT ;\n  OUTPUT(\"dept.del\")\n  FORMAT DEL\n;\n";
  JobRun r = run("catalogue", strControl);
  EXPECT_NE(r.iStatus, 0) << r.strOut;
  EXPECT_NE(r.strOut.find("ZORU428E CATALOG TABLE SYSIBM.SYSCOLUMNS NOT READ WHOLE FROM THE BACKUP: PAGE 1 CANNOT BE "
                          "READ (REASON CODE 0x113a003)\n"),
            std::string::npos)
      << r.strOut;
  EXPECT_EQ(r.strOut.find("ZORU427W"), std::string::npos) << "no fall-back on the DB2 catalogue:\n" << r.strOut;
  EXPECT_EQ(r.strOut.find("ZORU412I"), std::string::npos) << r.strOut;
  EXPECT_EQ(zavtestReadText(gstrDir + "/catalogue/dept.del"), "");

  /* the undamaged image gives the table */
  std::string strWhole = "GLOBAL CONNECT TO SAMPLE ;\nUNLOAD TABLESPACE USERSPACE1\n  DB2 NO BACKUP \"" + gstrDir +
                         "/sample/backup/" + gpcImage0 +
                         "\"\n  SELECT * FROM ZAVTEST.DEPT ;\n  OUTPUT(\"dept.del\")\n  FORMAT DEL\n;\n";
  JobRun rWhole = run("whole", strWhole);
  EXPECT_EQ(rWhole.iStatus, 0) << rWhole.strOut;
  EXPECT_FALSE(zavtestReadText(gstrDir + "/whole/dept.del").empty());
}

/* The file offset of the data of catalogue object usObject (table space 0,
   type 0) in an image, 0 when none: SYSCOLUMNS is object 3. */
size_t CatalogueData(const std::string &strImage, uint16_t usObject = 3)
{
  const auto *puc = reinterpret_cast<const unsigned char *>(strImage.data());
  size_t ulAt = 4096;
  while (ulAt + 512 <= strImage.size() && strImage.compare(ulAt, 13, "SQLUBROBJHEAD") == 0) {
    uint32_t ulSize = obyteGetLE32(puc + ulAt + 0x14);
    if (obyteGetLE16(puc + ulAt + 0x1C) == usObject && puc[ulAt + 0x1E] == 0 && obyteGetLE32(puc + ulAt + 0x12C) == 0)
      return ulAt + 512;
    ulAt += 512 + ulSize;
  }
  return 0;
}

/* The page and page offset of the first record of the object's data that
   holds str, {0, 0} when none (see the data page layout below). */
std::pair<size_t, size_t> RecordHolding(const std::string &strImage, size_t ulData, const std::string &str)
{
  const size_t P = 4096;
  for (size_t p = 0; ulData + (p + 1) * P <= strImage.size(); p++) {
    const auto *pucPage = reinterpret_cast<const unsigned char *>(strImage.data() + ulData + p * P);
    uint16_t o = obyteGetLE16(pucPage);
    int16_t n = static_cast<int16_t>(obyteGetLE16(pucPage + o));
    for (int i = 0; i < n; i++) {
      int16_t v = static_cast<int16_t>(obyteGetLE16(pucPage + o + 20 + 2 * i));
      if (v == -1) continue;
      size_t r = o + 20 + static_cast<size_t>(v);
      std::string strRecord(reinterpret_cast<const char *>(pucPage + r), std::min<size_t>(obyteGetLE16(pucPage + r + 2), P - r));
      if (strRecord.find(str) != std::string::npos) return {p, r};
    }
  }
  return {0, 0};
}

/*
** The catalogue partition's image with SYSCOLUMNS damaged in one place: the
** catalogue is used whole or not at all, never in part and never replaced
** by the DB2 catalogue (no ZORU427W).  A damaged column record, a column
** record that no longer belongs to its table (the table's columns do not
** add up), a first page without slots, a page that carries another number:
** each fails the request with the table and page named, no rows written.
**   Data page, integers little-endian: 0 slot directory offset o, 28 page
**   number; o slot count, o + 20 + 2i slot i (record at o + 20 + value, -1
**   empty); record: 2 length, from 8 the row.
*/
TEST_F(SampleFaults, BackupCatalogueNotReadWholeFailsTheRequest)
{
  const std::string strWhole = zavtestReadText(gstrDir + "/sample/backup/" + gpcImage0);
  const size_t ulData = CatalogueData(strWhole);
  ASSERT_NE(ulData, 0u) << "no SYSCOLUMNS object in the image";
  const size_t P = 4096;
  /* the page and page offset of DEPT's LOCATION column record */
  size_t ulPage = 0, ulRecord = 0;
  for (size_t p = 0; ulRecord == 0 && ulData + (p + 1) * P <= strWhole.size(); p++) {
    const auto *pucPage = reinterpret_cast<const unsigned char *>(strWhole.data() + ulData + p * P);
    uint16_t o = obyteGetLE16(pucPage);
    int16_t n = static_cast<int16_t>(obyteGetLE16(pucPage + o));
    for (int i = 0; i < n; i++) {
      int16_t v = static_cast<int16_t>(obyteGetLE16(pucPage + o + 20 + 2 * i));
      if (v == -1) continue;
      size_t r = o + 20 + static_cast<size_t>(v);
      std::string strRecord(reinterpret_cast<const char *>(pucPage + r), std::min<size_t>(obyteGetLE16(pucPage + r + 2), P - r));
      if (strRecord.find("LOCATION") != std::string::npos && strRecord.find("DEPT") != std::string::npos) {
        ulPage = p;
        ulRecord = r;
        break;
      }
    }
  }
  ASSERT_NE(ulRecord, 0u) << "no column record of DEPT.LOCATION";
  struct Damage {
    const char *pcName;
    std::function<void(unsigned char *pucData)> fnDamage;   /* on the object's data */
    std::vector<std::string> vMessages;
  } aDamages[] = {
      {"the column record runs past its page",
       [&](unsigned char *puc) { obytePutLE16(puc + ulPage * P + ulRecord + 2, 0x7FF0); },
       {"ZORU428E CATALOG TABLE SYSIBM.SYSCOLUMNS NOT READ WHOLE FROM THE BACKUP: PAGE " + std::to_string(ulPage) +
        " CANNOT BE READ (REASON CODE 0x117a001)\n"}},
      {"the column record names another table",
       [&](unsigned char *puc) {
         unsigned char *pucRecord = puc + ulPage * P + ulRecord;
         std::string strRecord(reinterpret_cast<char *>(pucRecord), obyteGetLE16(pucRecord + 2));
         size_t ulDept = strRecord.find("DEPT");
         pucRecord[ulDept + 3] = 'X';
       },
       {"ZORU435E TABLE ZAVTEST.DEPT HAS 3 COLUMN RECORDS IN THE BACKUP CATALOG, ITS TABLE RECORD GIVES 4 COLUMNS\n"}},
      {"the first page without slots", [&](unsigned char *puc) { obytePutLE16(puc + obyteGetLE16(puc), 0xFFFF); },
       {"ZORU436E THE TABLE DESCRIPTION OF OBJECT 3 OF TABLESPACE 0 CANNOT BE READ\n",
        "ZORU428E CATALOG TABLE SYSIBM.SYSCOLUMNS NOT READ WHOLE FROM THE BACKUP: PAGE 0 CANNOT BE READ (REASON CODE "
        "0x113a047)\n"}},
      {"the second page carries another number", [&](unsigned char *puc) { obytePutLE32(puc + P + 28, 9); },
       {"ZORU428E CATALOG TABLE SYSIBM.SYSCOLUMNS NOT READ WHOLE FROM THE BACKUP: PAGE 1 CANNOT BE READ (REASON CODE "
        "0x117a043)\n"}},
  };
  fs::create_directories(gstrDir + "/damaged");
  for (const Damage &d : aDamages) {
    SCOPED_TRACE(d.pcName);
    std::string strImage = strWhole;
    d.fnDamage(reinterpret_cast<unsigned char *>(strImage.data()) + ulData);
    std::ofstream(gstrDir + "/damaged/" + gpcImage0, std::ios::binary | std::ios::trunc) << strImage;
    JobRun r = run("catalogue", "GLOBAL CONNECT TO SAMPLE ;\nUNLOAD TABLESPACE USERSPACE1\n  DB2 NO BACKUP \"" +
                                    gstrDir + "/damaged/" + gpcImage0 +
                                    "\"\n  SELECT * FROM ZAVTEST.DEPT ;\n  OUTPUT(\"dept.del\")\n  FORMAT DEL\n;\n");
    EXPECT_NE(r.iStatus, 0) << r.strOut;
    for (const std::string &strMessage : d.vMessages) EXPECT_NE(r.strOut.find(strMessage), std::string::npos) << r.strOut;
    EXPECT_EQ(r.strOut.find("ZORU427W"), std::string::npos) << "no fall-back on the DB2 catalogue:\n" << r.strOut;
    EXPECT_EQ(r.strOut.find("ZORU412I"), std::string::npos) << r.strOut;
    EXPECT_EQ(zavtestReadText(gstrDir + "/catalogue/dept.del"), "");
  }
}

/*
** The other catalogue tables of the image, damaged in the record that
** describes DEPT or its table space: SYSTABLES (object 2) and
** SYSTABLESPACES (object 27) are used whole or not at all like SYSCOLUMNS.
** A record that runs past its page fails the request naming the table and
** page (ZORU428E); a table record renamed leaves DEPT without its record,
** and the renamed one without its columns (ZORU435E).  No fall-back on the
** DB2 catalogue, no rows written.
*/
TEST_F(SampleFaults, BackupCatalogueTablesEachUsedWholeOrNotAtAll)
{
  const std::string strWhole = zavtestReadText(gstrDir + "/sample/backup/" + gpcImage0);
  struct Damage {
    const char *pcName;
    uint16_t usObject;
    const char *pcHolding;   /* the record damaged holds this */
    bool boRename;           /* its last letter of pcHolding changed, else its length past the page */
    std::string strMessage;  /* "%P": the page */
  } aDamages[] = {
      {"a SYSTABLES record running past its page", 2, "DEPT", false,
       "ZORU428E CATALOG TABLE SYSIBM.SYSTABLES NOT READ WHOLE FROM THE BACKUP: PAGE %P CANNOT BE READ (REASON CODE "
       "0x117a001)\n"},
      {"a SYSTABLES record of another name", 2, "DEPT", true,
       "ZORU435E TABLE ZAVTEST.DEPX HAS 0 COLUMN RECORDS IN THE BACKUP CATALOG, ITS TABLE RECORD GIVES 4 COLUMNS\n"},
      {"a SYSTABLESPACES record running past its page", 27, "USERSPACE1", false,
       "ZORU428E CATALOG TABLE SYSIBM.SYSTABLESPACES NOT READ WHOLE FROM THE BACKUP: PAGE %P CANNOT BE READ (REASON "
       "CODE 0x117a001)\n"},
  };
  fs::create_directories(gstrDir + "/damaged");
  for (const Damage &d : aDamages) {
    SCOPED_TRACE(d.pcName);
    const size_t ulData = CatalogueData(strWhole, d.usObject);
    ASSERT_NE(ulData, 0u) << "no object " << d.usObject << " in the image";
    auto [ulPage, ulRecord] = RecordHolding(strWhole, ulData, d.pcHolding);
    ASSERT_NE(ulRecord, 0u) << "no record holding " << d.pcHolding;
    std::string strImage = strWhole;
    auto *pucRecord = reinterpret_cast<unsigned char *>(strImage.data()) + ulData + ulPage * 4096 + ulRecord;
    if (d.boRename) {
      std::string strRecord(reinterpret_cast<char *>(pucRecord), obyteGetLE16(pucRecord + 2));
      pucRecord[strRecord.find(d.pcHolding) + std::strlen(d.pcHolding) - 1] = 'X';
    } else {
      obytePutLE16(pucRecord + 2, 0x7FF0);
    }
    std::string strMessage = d.strMessage;
    if (strMessage.find("%P") != std::string::npos) strMessage.replace(strMessage.find("%P"), 2, std::to_string(ulPage));
    std::ofstream(gstrDir + "/damaged/" + gpcImage0, std::ios::binary | std::ios::trunc) << strImage;
    JobRun r = run("catalogue", "GLOBAL CONNECT TO SAMPLE ;\nUNLOAD TABLESPACE USERSPACE1\n  DB2 NO BACKUP \"" +
                                    gstrDir + "/damaged/" + gpcImage0 +
                                    "\"\n  SELECT * FROM ZAVTEST.DEPT ;\n  OUTPUT(\"dept.del\")\n  FORMAT DEL\n;\n");
    EXPECT_NE(r.iStatus, 0) << r.strOut;
    EXPECT_NE(r.strOut.find(strMessage), std::string::npos) << r.strOut;
    EXPECT_EQ(r.strOut.find("ZORU427W"), std::string::npos) << "no fall-back on the DB2 catalogue:\n" << r.strOut;
    EXPECT_EQ(r.strOut.find("ZORU412I"), std::string::npos) << r.strOut;
    EXPECT_EQ(zavtestReadText(gstrDir + "/catalogue/dept.del"), "");
  }
}

/*
** A LOB file that cannot be created (LOB IN a directory below a regular
** file: ZORU494E refuses the request before anything is written) or
** written whole (the last non-empty LOB file of the run is a link to
** /dev/full: ZORU455E names the file, the table and the system's reason):
** the run ends non-zero, without ZORU412I.  The last LOB file is
** the one the table-space object path writes at the end of the read and
** the forked reader's LOB child writes for the last request.
*/
TEST_F(SampleFaults, LobFileNotWrittenWholeFailsTheRun)
{
  struct Reader {
    const char *pcName;
    bool boBackup;
    const char *pcTop;
  } aReaders[] = {{"forked", false, "topzav"}, {"online", false, "online"}, {"backup", true, "topzav"}};
  struct Table {
    const char *pcSpace, *pcTable, *pcColumns;
  } aTables[] = {{"DMSDATA", "ZAVTEST.DOCS", "ID, BODY, PHOTO"}, {"USERSPACE1", "ZAVTEST.NOTES", "ID, BODY, TEXT"}};
  for (const Reader &reader : aReaders) {
    for (const Table &table : aTables) {
      std::string strCase = std::string(reader.pcName) + "_" + table.pcSpace;
      SCOPED_TRACE(strCase);
      auto control = [&](const std::string &strLobIn) {
        return std::string("GLOBAL CONNECT TO SAMPLE ;\nUNLOAD TABLESPACE ") + table.pcSpace + "\n" +
               (reader.boBackup ? "  DB2 NO BACKUP \"" + gstrDir + "/sample/backup/" + gpcImage0 + "\"\n" : "") +
               "  SELECT " + table.pcColumns + " FROM " + table.pcTable + " ;\n  OUTPUT(\"o.del\")\n" +
               "  LOBFILE(\"doclob\")" + strLobIn + "\n  FORMAT DEL\n;\n";
      };
      JobRun rWhole = run(strCase, control(""), reader.pcTop);
      ASSERT_EQ(rWhole.iStatus, 0) << rWhole.strOut;
      std::vector<std::string> vNames = lobNames(gstrDir + "/" + strCase + "/o.del");
      std::string strLast;
      for (const std::string &strFile : vNames)
        if (fs::file_size(gstrDir + "/" + strCase + "/" + strFile) > 0) strLast = strFile;
      ASSERT_FALSE(strLast.empty()) << rWhole.strOut;

      /* a LOB directory that cannot be made is refused before anything is
         written; a LOB file that cannot be written whole fails the run */
      struct Failure {
        const char *pcName;
        std::string strLobIn;
        std::function<void(const std::string &)> pfnPrepare;
        std::string strMessage;
        const char *pcReason;
        bool boRowsWritten;
      } aFailures[] = {
          {"directory below a regular file", " LOB IN(\"plain/sub\")",
           [](const std::string &strDir) { std::ofstream(strDir + "/plain") << "a regular file"; },
           std::string("ZORU494E LOB DIRECTORY plain/sub CANNOT BE WRITTEN: ") + std::strerror(ENOTDIR) + "\n",
           "(REASON CODE 0x105a041)", false},
          {"last LOB file on a full device", "",
           [&](const std::string &strDir) { fs::create_symlink("/dev/full", strDir + "/" + strLast); },
           "ZORU455E LOB FILE " + strLast + " OF TABLE " + table.pcTable + " NOT WRITTEN WHOLE: " +
               std::strerror(ENOSPC) + "\n",
           "(REASON CODE 0x10da003)", true},
      };
      for (const Failure &failure : aFailures) {
        SCOPED_TRACE(failure.pcName);
        JobRun r = run(strCase + "_failed", control(failure.strLobIn), reader.pcTop, failure.pfnPrepare);
        EXPECT_NE(r.iStatus, 0) << r.strOut;
        EXPECT_NE(r.strOut.find(failure.strMessage), std::string::npos) << r.strOut;
        EXPECT_NE(r.strOut.find(failure.pcReason), std::string::npos) << r.strOut;
        EXPECT_EQ(r.strOut.find("ZORU412I"), std::string::npos) << r.strOut;
        EXPECT_EQ(fs::exists(gstrDir + "/" + strCase + "_failed/o.del"), failure.boRowsWritten);
      }
    }
  }
}

/*
** NOTES (SMS) with its long-field or LOB file cut short: the forked
** reader's children answer in step with zeros for what cannot be read and
** report it (ZORU456E; ZORU455E for a LOB file), the online reader fails
** its read; either way the run ends non-zero, without ZORU412I.  The
** files are put back afterwards.
*/
TEST_F(SampleFaults, LongDataFilesCutShortFailTheRun)
{
  std::string strLF, strLB;
  for (const auto &entry : fs::recursive_directory_iterator(gstrDir + "/sample/data")) {
    if (entry.path().extension() == ".LF") strLF = entry.path().string();
    if (entry.path().extension() == ".LB") strLB = entry.path().string();
  }
  ASSERT_FALSE(strLF.empty());
  ASSERT_FALSE(strLB.empty());
  struct Case {
    const char *pcName;
    const std::string &strFile;
    uintmax_t ulKeep;        /* bytes left in the file */
    const char *pcTop;
    const char *pcLobFile;   /* LOBFILE clause, or "" */
    const char *pcMessage;   /* expected message, NULL: none named */
  } aCases[] = {
      {"long field, forked", strLF, 8192, "topzav", "",
       "ZORU456E LONG VALUE OF TABLE ZAVTEST.NOTES NOT READ WHOLE: PAGE 2 OF THE LONG-FIELD OBJECT CANNOT BE READ\n"},
      {"long field, online", strLF, 8192, "online", "", nullptr},
      {"LOB inline, forked", strLB, 16384, "topzav", "",
       "ZORU456E LONG VALUE OF TABLE ZAVTEST.NOTES NOT READ WHOLE: PAGE 4 OF THE LOB OBJECT CANNOT BE READ\n"},
      {"LOB file, forked", strLB, 16384, "topzav", "  LOBFILE(\"doclob\")\n",
       "ZORU455E LOB FILE doclob_0_10 OF TABLE ZAVTEST.NOTES NOT WRITTEN WHOLE: PAGE 4 OF THE LOB OBJECT CANNOT BE "
       "READ\n"},
      {"LOB inline, online", strLB, 16384, "online", "", nullptr},
  };
  for (const Case &c : aCases) {
    SCOPED_TRACE(c.pcName);
    std::string strWhole = zavtestReadText(c.strFile);
    ASSERT_GT(strWhole.size(), c.ulKeep);
    fs::resize_file(c.strFile, c.ulKeep);
    JobRun r = run("cut", std::string("GLOBAL CONNECT TO SAMPLE ;\nUNLOAD TABLESPACE USERSPACE1\n"
                                      "  SELECT ID, BODY, TEXT FROM ZAVTEST.NOTES ;\n  OUTPUT(\"o.del\")\n") +
                              c.pcLobFile + "  FORMAT DEL\n;\n",
                   c.pcTop);
    std::ofstream(c.strFile, std::ios::binary | std::ios::trunc) << strWhole;
    EXPECT_NE(r.iStatus, 0) << r.strOut;
    if (c.pcMessage != nullptr) {
      EXPECT_NE(r.strOut.find(c.pcMessage), std::string::npos) << r.strOut;
    }
    EXPECT_NE(r.strOut.find("(REASON CODE 0x10da003)"), std::string::npos) << r.strOut;
    EXPECT_EQ(r.strOut.find("ZORU412I"), std::string::npos) << r.strOut;
  }
  /* put back whole, the table unloads again */
  JobRun r = run("uncut", "GLOBAL CONNECT TO SAMPLE ;\nUNLOAD TABLESPACE USERSPACE1\n"
                          "  SELECT ID, BODY, TEXT FROM ZAVTEST.NOTES ;\n  OUTPUT(\"o.del\")\n"
                          "  LOBFILE(\"doclob\")\n  FORMAT DEL\n;\n");
  EXPECT_EQ(r.iStatus, 0) << r.strOut;
  EXPECT_EQ(lobNames(gstrDir + "/uncut/o.del").size(), 3u);
}

}  // namespace
