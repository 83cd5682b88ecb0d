/*
** zorcontroludbts_test.cpp
**   Expansion of UNLOAD DATABASE and UNLOAD TABLESPACE blocks, backup,
**   table-space and partition checks, against a DB2 stand-in instance with
**   database SAMPLE (SYSCATSPACE, TEMPSPACE1, USERSPACE1 with ZAVTEST.DEPT,
**   DMSDATA with ZAVTEST.EMPLOYEE and ZAVTEST.DOCS, the long DMSLONG and the
**   empty EMPTYSPACE) and table-space control files written for its
**   partitions.  Requests are parsed from control-file texts as the driver
**   parses them.
*/
#include "control/zorcontroludbts.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "model/osysibm.h"
#include "catalog/sqlcat.h"
#include "catalog/sysibmcont.h"
#include "common/ocnvft.h"
#include "common/ostack.h"
#include "control/zorcontrol.h"
#include "io/db2util.h"
#include "model/tools.h"
#include "driver/zormain.h"
#include "platform/db2admin.h"
#include "storage/ficcont.h"
#include "tests/catalog/catalogcli.h"
#include "tests/control/zor3test.h"
#include "tests/storage/bkimage.h"
#include "tests/zavtest.h"
#include "tools/db2backup.h"
#include "tools/db2spcs.h"

namespace fs = std::filesystem;
using zor3test::Dump;
using zor3test::Parse;
using zor3test::Set;
using zor3test::Text;

namespace {

std::string ThisHost()
{
  char ac[100] = {0};
  toolsGetHostName(ac, sizeof ac);
  return ac;
}

std::string UserName()
{
  passwd *ppw = getpwuid(geteuid());
  return ppw != nullptr ? ppw->pw_name : "";
}

ochar *Str(const std::string &str)
{
  ochar *pchar = ocharCreate(0, 850);
  ocharAppendFixedS(pchar, str.data(), static_cast<int32_t>(str.size()));
  ocharMakeC(pchar);
  return pchar;
}

zoratom *TextAtom(int iSlot, const std::string &str)
{
  return zoratomCreate(gapnameTotalToken[iSlot], ZORATOM_OCHAR, 0, reinterpret_cast<uintptr_t>(Str(str)), nullptr,
                       nullptr);
}

zortask *Sub(zortask *ptask, int i)
{
  zortask *p = ptask->pchaineSubTasks != nullptr ? static_cast<zortask *>(ptask->pchaineSubTasks->pitemTop) : nullptr;
  while (p != nullptr && i-- > 0) p = p->ptaskNext;
  return p;
}

zoratom *Own(zortask *ptask, int iSlot)
{
  return static_cast<zoratom *>(odictLoad(ptask->pdictAtoms, reinterpret_cast<uintptr_t>(gapnameTotalToken[iSlot])));
}

/* A hand-made catalogue chain of one table space with tables (creator, name, type), as the backup gives it. */
struct HandCatalogue {
  ochaine *pchaine = ochaineCreate(0, nullptr, osysibmChaineDestroyProc);
  osysibmSystablespace *Add(const std::string &strName, char cDataType,
                            const std::vector<std::vector<std::string>> &vTables)
  {
    auto *ptbs = static_cast<osysibmSystablespace *>(std::calloc(1, sizeof(osysibmSystablespace)));
    ptbs->pcharNAME = Str(strName);
    ptbs->pcharCREATOR = Str("SYSIBM");
    ptbs->cDATATYPE = cDataType;
    if (!vTables.empty()) ptbs->apchaine[1] = ochaineCreate(0, nullptr, osysibmChaineDestroyProc);
    for (const auto &v : vTables) {
      auto *ptable = static_cast<osysibmSystables *>(std::calloc(1, sizeof(osysibmSystables)));
      ptable->pcharCREATOR = Str(v[0]);
      ptable->pcharNAME = Str(v[1]);
      ptable->cTYPE = v[2][0];
      ochaineAppend(ptbs->apchaine[1], ptable);
    }
    ochaineAppend(pchaine, ptbs);
    return ptbs;
  }
  /* hands the chain over; frees it with its records */
  void Free() { catalogcliFreeTablespaces(pchaine); pchaine = nullptr; }
};

class UdbChecks : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { tokenInitKeyword(); }

  void SetUp() override
  {
    strRoot = dir.path;
    setenv("DB2INSTANCE", "zavinst", 1);
    setenv("ZAVDB2_INSTHOME", (strRoot + "/home").c_str(), 1);
    setenv("TOPZAV", (strRoot + "/topzav").c_str(), 1);
    unsetenv("ZAVDB2_FAIL");
    fs::create_directories(strRoot + "/topzav/cfg");
    std::ofstream(strRoot + "/topzav/cfg/db2zav.cfg") << "insthomes=zavinst:" << strRoot << "/home\n";
    std::string e;
    ASSERT_EQ(0, db2adminCreateInstance({"0 " + ThisHost() + " 0", "1 " + ThisHost() + " 1"}, &e)) << e;
    ASSERT_EQ(0, db2adminCreateDatabase("SAMPLE", strRoot + "/data", 819, 1, &e)) << e;
    struct {
      const char *pcName;
      int iId;
      char cType, cData;
    } aSpaces[] = {{"SYSCATSPACE", 0, 'S', 'A'}, {"TEMPSPACE1", 1, 'S', 'T'}, {"USERSPACE1", 2, 'S', 'A'},
                   {"DMSDATA", 3, 'D', 'A'},     {"DMSLONG", 4, 'D', 'L'},    {"EMPTYSPACE", 5, 'S', 'A'}};
    for (auto &s : aSpaces)
      ASSERT_EQ(0, db2adminCreateTablespace("SAMPLE", s.pcName, s.iId, s.cType, s.cData, 16, 4096, &e)) << e;
    ASSERT_EQ(0, db2adminCreateTable("SAMPLE", "ZAVTEST", "DEPT", "USERSPACE1", "", 2,
                                     {{"DEPTNO", "CHAR(3)", false, "", -1}}, &e))
        << e;
    ASSERT_EQ(0, db2adminCreateTable("SAMPLE", "ZAVTEST", "EMPLOYEE", "DMSDATA", "", 4,
                                     {{"EMPNO", "CHAR(6)", false, "", -1}}, &e))
        << e;
    ASSERT_EQ(0, db2adminCreateTable("SAMPLE", "ZAVTEST", "DOCS", "DMSDATA", "DMSLONG", 5,
                                     {{"ID", "INTEGER", false, "", -1}, {"BODY", "CLOB(64K)", true, "", -1}}, &e))
        << e;
    ptaskParmlib = zortaskCreateNamed(gapnameTotalToken[TOKEN_PARMLIB]);
    zortaskAddAtom(ptaskParmlib, TextAtom(TOKEN_INSTANCE_NAME, "zavinst"));
    zortaskAddAtom(ptaskParmlib, TextAtom(TOKEN_INSTANCE_USER, UserName()));
  }

  void TearDown() override
  {
    db2utilDisconnect(&ghenv, &ghdbc);
    if (pcontrol != nullptr) {
      ostackDestroy(pcontrol->pstackMaxRc);
      std::free(pcontrol);
    }
    zortaskDestroy(ptaskParmlib);
  }

  /* The control object of a parsed request, PARMLIB above its GLOBAL task. */
  zorcontrol *Control(zortask *ptaskGlobal)
  {
    pcontrol = zorcontrolCreate(ptaskGlobal, ptaskParmlib);
    return pcontrol;
  }

  /* Writes the table-space control file of a partition of SAMPLE. */
  void Spcs(int iPart, const std::vector<std::string> &vNames)
  {
    char ac[16];
    std::snprintf(ac, sizeof ac, "NODE%.4d", iPart);
    std::string strPath = strRoot + "/data/zavinst/" + ac + "/SQL00001/";
    fs::create_directories(strPath);
    std::vector<db2spcsTablespace> v;
    int16_t sId = 2;
    for (const auto &strName : vNames) {
      db2spcsTablespace ts;
      ts.sId = sId++;
      ts.strName = strName;
      ts.vContainers.push_back({"c_" + strName, 0, 0, 0, 4096});
      v.push_back(ts);
    }
    ASSERT_TRUE(db2spcsWriteFile(strPath + "SQLSPCS.1", v));
  }

  void Nodes(const std::string &strLines)
  {
    std::ofstream(strRoot + "/home/sqllib/db2nodes.cfg") << strLines;
  }

  zavtestTempDir dir;
  std::string strRoot;
  zortask *ptaskParmlib = nullptr;
  zorcontrol *pcontrol = nullptr;
};

/* ================================================================ expansion */

TEST_F(UdbChecks, UnloadDatabaseBecomesOneBlockPerTableSpaceWithTables)
{
  Parse p("GLOBAL CONNECT TO SAMPLE ;\n"
          "UNLOAD DATABASE SAMPLE OUTPUT(\"out.del\") LOBFILE(\"lob\") LOCK YES FORMAT IXF ;\n");
  ASSERT_TRUE(p.Runnable()) << p.AllMessages();
  int rc = -1;
  auto msgs = zavtestMessages([&] { rc = zorcontrolUdbExpandDatabase(Control(p.ptask), p.ptask); });
  EXPECT_EQ(0, rc);
  // the empty table space is reported, the long one and SYSCATSPACE are not
  EXPECT_EQ(std::vector<std::string>{"ZORU356W EMPTY TABLESPACE SYSIBM.EMPTYSPACE \n"}, msgs);
  EXPECT_EQ("GLOBAL\n"
            "  DBNAME 'SAMPLE'\n"
            "  TASKTYPE 5\n"
            "  UNLOAD\n"
            "    DBNAME 'SAMPLE'\n"
            "    FORMAT 11\n"
            "    LOBFILE [\"lob_USERSPACE1\"]\n"
            "    LOCK NO\n"
            "    OUTPUT [\"out.del\" mode=5 parts={}/255]\n"
            "    TSNAME 'USERSPACE1'\n"
            "    SELECT\n"
            "      DBNAME 'SAMPLE'\n"
            "      FORMAT 11\n"
            "      LOBFILE [\"lob_USERSPACE1_ZAVTEST_DEPT\"]\n"
            "      LOCK NO\n"
            "      OUTPUT [\"out.del_USERSPACE1_ZAVTEST_DEPT\" mode=5 parts={}/255]\n"
            "      SELECT [*]\n"
            "      SELECTSQL 'SELECT * FROM ZAVTEST.DEPT'\n"
            "      TBNAME 'DEPT'\n"
            "      TBQUALIFIER 'ZAVTEST'\n"
            "      TSNAME 'USERSPACE1'\n"
            "  UNLOAD\n"
            "    DBNAME 'SAMPLE'\n"
            "    FORMAT 11\n"
            "    LOBFILE [\"lob_DMSDATA\"]\n"
            "    LOCK NO\n"
            "    OUTPUT [\"out.del\" mode=5 parts={}/255]\n"
            "    TSNAME 'DMSDATA'\n"
            "    SELECT\n"
            "      DBNAME 'SAMPLE'\n"
            "      FORMAT 11\n"
            "      LOBFILE [\"lob_DMSDATA_ZAVTEST_EMPLOYEE\"]\n"
            "      LOCK NO\n"
            "      OUTPUT [\"out.del_DMSDATA_ZAVTEST_EMPLOYEE\" mode=5 parts={}/255]\n"
            "      SELECT [*]\n"
            "      SELECTSQL 'SELECT * FROM ZAVTEST.EMPLOYEE'\n"
            "      TBNAME 'EMPLOYEE'\n"
            "      TBQUALIFIER 'ZAVTEST'\n"
            "      TSNAME 'DMSDATA'\n"
            "    SELECT\n"
            "      DBNAME 'SAMPLE'\n"
            "      FORMAT 11\n"
            "      LOBFILE [\"lob_DMSDATA_ZAVTEST_DOCS\"]\n"
            "      LOCK NO\n"
            "      OUTPUT [\"out.del_DMSDATA_ZAVTEST_DOCS\" mode=5 parts={}/255]\n"
            "      SELECT [*]\n"
            "      SELECTSQL 'SELECT * FROM ZAVTEST.DOCS'\n"
            "      TBNAME 'DOCS'\n"
            "      TBQUALIFIER 'ZAVTEST'\n"
            "      TSNAME 'DMSDATA'\n",
            Dump(p.ptask));
  // names handed to C interfaces later are terminated
  zoratom *patomSql = Own(Sub(Sub(p.ptask, 0), 0), TOKEN_SELECTSQL);
  EXPECT_EQ(std::string("SELECT * FROM ZAVTEST.DEPT"), _charText(patomSql->value.pchar));
  EXPECT_EQ(850, patomSql->value.pchar->usCCSID);
}

TEST_F(UdbChecks, UnloadTablespaceWithoutSelectGetsOneSelectPerTable)
{
  Parse p("GLOBAL CONNECT TO SAMPLE ;\n"
          "UNLOAD TABLESPACE DMSDATA OUTPUT(\"o.del\" FOR PARTS(1)) LOBFILE(\"l1\", \"l2\") ;\n"
          "UNLOAD TABLESPACE USERSPACE1 SELECT * FROM ZAVTEST.DEPT ; OUTPUT(\"d.del\") ;\n");
  ASSERT_TRUE(p.Runnable()) << p.AllMessages();
  int rc = -1;
  auto msgs = zavtestMessages([&] { rc = zorcontrolUdbExpandDatabase(Control(p.ptask), p.ptask); });
  EXPECT_EQ(0, rc);
  EXPECT_TRUE(msgs.empty()) << msgs[0];
  zortask *ptaskTs = Sub(p.ptask, 0);
  EXPECT_EQ("NO", zor3test::Atom(Own(ptaskTs, TOKEN_LOCK)).substr(5));
  ASSERT_NE(nullptr, Sub(ptaskTs, 1));
  EXPECT_EQ(nullptr, Sub(ptaskTs, 2));
  // no table-space part in the names of an UNLOAD TABLESPACE; the partition set is kept
  EXPECT_EQ("OUTPUT [\"o.del_ZAVTEST_DOCS\" mode=5 parts={1}/2]", zor3test::Atom(Own(Sub(ptaskTs, 1), TOKEN_OUTPUT)));
  EXPECT_EQ("LOBFILE [\"l1_ZAVTEST_DOCS\", \"l2_ZAVTEST_DOCS\"]", zor3test::Atom(Own(Sub(ptaskTs, 1), TOKEN_LOBFILE)));
  EXPECT_EQ("SELECTSQL 'SELECT * FROM ZAVTEST.EMPLOYEE'", zor3test::Atom(Own(Sub(ptaskTs, 0), TOKEN_SELECTSQL)));
  // the block itself keeps its own names
  EXPECT_EQ("LOBFILE [\"l1\", \"l2\"]", zor3test::Atom(Own(ptaskTs, TOKEN_LOBFILE)));
  // a block with SELECTs is left as it is
  zortask *ptaskSel = Sub(p.ptask, 1);
  EXPECT_EQ(nullptr, Own(ptaskSel, TOKEN_LOCK));
  EXPECT_EQ(nullptr, Sub(ptaskSel, 1));
  EXPECT_EQ(nullptr, Own(Sub(ptaskSel, 0), TOKEN_LOCK));
}

TEST_F(UdbChecks, CatalogueNamesLoseTheirTrailingBlanks)
{
  HandCatalogue cat;
  osysibmSystablespace *ptbs = cat.Add("TS   ", 'A', {{"ADM     ", "T1   ", "T"}});
  Parse p("UNLOAD TABLESPACE TS OUTPUT(\"out.del\") LOBFILE(\"lob\") ;\n");
  ASSERT_TRUE(p.Runnable()) << p.AllMessages();
  zortask *ptaskTs = Sub(p.ptask, 0);
  EXPECT_EQ(0, _zorcontrolUdbCreateSelectFromTS(nullptr, ptaskTs, ptbs, 1));
  zortask *ptaskSelect = Sub(ptaskTs, 0);
  EXPECT_EQ("OUTPUT [\"out.del_TS_ADM_T1\" mode=5 parts={}/255]", zor3test::Atom(Own(ptaskSelect, TOKEN_OUTPUT)));
  EXPECT_EQ("LOBFILE [\"lob_ADM_T1\"]", zor3test::Atom(Own(ptaskSelect, TOKEN_LOBFILE)));
  EXPECT_EQ("SELECTSQL 'SELECT * FROM ADM.T1'", zor3test::Atom(Own(ptaskSelect, TOKEN_SELECTSQL)));
  EXPECT_EQ("TBNAME 'T1'", zor3test::Atom(Own(ptaskSelect, TOKEN_TBNAME)));
  EXPECT_EQ("TBQUALIFIER 'ADM'", zor3test::Atom(Own(ptaskSelect, TOKEN_TBQUALIFIER)));
  cat.Free();
}

TEST_F(UdbChecks, ExpansionFailures)
{
  struct {
    const char *pcWhat;
    std::string strText;
    int iRc;
    std::vector<std::string> vMsgs;
  } aCases[] = {
      {"database without OUTPUT", "GLOBAL CONNECT TO SAMPLE ;\nUNLOAD DATABASE SAMPLE FORMAT DEL ;\n", 0x105c001,
       {"ZORU304E OUTPUT PARAMETER IS MANDATORY FOR AN UNLOAD DATABASE\n"}},
      {"table space without OUTPUT", "GLOBAL CONNECT TO SAMPLE ;\nUNLOAD TABLESPACE USERSPACE1 FORMAT DEL ;\n",
       0x105c001, {"ZORU303E OUTPUT PARAMETER IS MANDATORY FOR AN UNLOAD WITHOUT SELECT\n"}},
      {"no table-space name", "GLOBAL CONNECT TO SAMPLE ;\nUNLOAD TABLESPACE OUTPUT(\"o\") ;\n", 0x105c001,
       {"ZORU302E AN UNLOAD TABLESPACE WITHOUT SELECT REQUIRES THE SPECIFICATION OF THE TABLESPACE NAME TO BE "
        "UNLOADED\n"}},
      {"table space without tables", "GLOBAL CONNECT TO SAMPLE ;\nUNLOAD TABLESPACE EMPTYSPACE OUTPUT(\"o\") ;\n",
       0x105a015, {"ZORU057E EMPTY TABLESPACE SYSIBM.EMPTYSPACE \n"}},
      {"no such table space", "GLOBAL CONNECT TO SAMPLE ;\nUNLOAD TABLESPACE NOSUCH OUTPUT(\"o\") ;\n",
       SQLCAT_RC_NOROW, {"ZORU019E TABLESPACE NOT FOUND IN THE CATALOG SAMPLE.NOSUCH\n"}},
  };
  for (auto &c : aCases) {
    SCOPED_TRACE(c.pcWhat);
    Parse p(c.strText);
    ASSERT_TRUE(p.Runnable()) << p.AllMessages();
    int rc = -1;
    auto msgs = zavtestMessages([&] { rc = zorcontrolUdbExpandDatabase(Control(p.ptask), p.ptask); });
    EXPECT_EQ(c.iRc, rc);
    EXPECT_EQ(c.vMsgs, msgs);
    ostackDestroy(pcontrol->pstackMaxRc);
    std::free(pcontrol);
    pcontrol = nullptr;
  }

  // a failed connection for UNLOAD DATABASE ends the expansion with its code
  Parse p("GLOBAL CONNECT TO NODB ;\nUNLOAD DATABASE NODB OUTPUT(\"o\") ;\n");
  int rc = 0;
  zavtestMessages([&] { rc = zorcontrolUdbExpandDatabase(Control(p.ptask), p.ptask); });
  EXPECT_EQ(DB2UTIL_RC_CONNECT, rc);
  EXPECT_EQ(nullptr, p.ptask->pchaineSubTasks->pitemTop);
}

TEST_F(UdbChecks, ASecondUnloadDatabaseIsRefused)
{
  Parse p("GLOBAL CONNECT TO SAMPLE ;\nUNLOAD DATABASE SAMPLE OUTPUT(\"o\") ;\n");
  ASSERT_TRUE(p.Runnable());
  // the grammar takes one; a tree made otherwise may hold two
  zortask *pcopy = zortaskClone(Sub(p.ptask, 0), 0);
  zortaskAddSubTask(p.ptask, pcopy);
  int rc = 0;
  zavtestMessages([&] { rc = zorcontrolUdbExpandDatabase(Control(p.ptask), p.ptask); });
  EXPECT_EQ(0x105a014, rc);
  // the first was expanded and is gone; the second is still there
  EXPECT_EQ(pcopy, Sub(p.ptask, 0));
  EXPECT_EQ(gapnameTotalToken[TOKEN_UNLOAD], Sub(p.ptask, 1)->pcName);
}

/* ================================================================== backups */

TEST_F(UdbChecks, BackupFileNamesAndTheDb2Option)
{
  const std::string strA = "db.0.inst.NODE0001.CATN0000.20030101120000.001";
  const std::string strB = "/x/db.0.inst.NODE0002.CATN0000.20030101120000.001";
  struct {
    const char *pcWhat;
    std::string strGlobal, strBackup;
    int iRc;
    std::vector<std::string> vMsgs;
    const char *pcDb2After;
  } aCases[] = {
      {"DB2 YES becomes NO, no catalogue partition's file", "GLOBAL DB2 YES ;\n", "\"" + strA + "\", \"" + strB + "\"",
       0,
       {"ZORU420W DB2 YES IS INCOMPATIBLE WITH THE KEYWORD BACKUP, CONVERTED TO DB2 NO\n",
        "ZORU427W NO CATALOG AVAILABLE IN GIVEN BACKUP FILES, WILL USE DB2 CATALOG\n"},
       "NO"},
      {"DB2 FORCE is kept", "GLOBAL DB2 FORCE ;\n", "\"" + strA + "\"", 0,
       {"ZORU421W DB2 FORCE IS INCOMPATIBLE WITH THE KEYWORD BACKUP\n",
        "ZORU427W NO CATALOG AVAILABLE IN GIVEN BACKUP FILES, WILL USE DB2 CATALOG\n"},
       "FORCE"},
      {"other catalogue partition", "GLOBAL DB2 NO ;\n",
       "\"" + strA + "\", \"db.0.inst.NODE0002.CATN0001.20030101120000.001\"", 0x105a010,
       {"ZORU010I ITEM STARTING AT (3,2) ENDING AT(3,107)\n", "ZORU423E INCONSISTANT BACKUP FILENAMES\n"}, "NO"},
      {"other database", "GLOBAL DB2 NO ;\n", "\"" + strA + "\", \"other.0.inst.NODE0002.CATN0000.20030101120000.001\"",
       0x105a010, {}, "NO"},
      {"name without CATN", "GLOBAL DB2 NO ;\n", "\"" + strA + "\", \"db.0.inst.NODE0002.20030101120000.001\"",
       ZORBK_RC_BADNAME, {"ZORU422E INVALID BACKUP FILENAME db.0.inst.NODE0002.20030101120000.001\n"}, "NO"},
      {"catalogue partition's image missing", "GLOBAL DB2 NO ;\n",
       "\"" + strA + "\", \"" + "/nonexistent/db.0.inst.NODE0000.CATN0000.20030101120000.001\"", -1, {}, "NO"},
  };
  for (auto &c : aCases) {
    SCOPED_TRACE(c.pcWhat);
    Parse p(c.strGlobal + "UNLOAD TABLESPACE USERSPACE1\n BACKUP " + c.strBackup +
            "\n  SELECT * FROM ZAVTEST.DEPT ; FORMAT DEL ;\n");
    ASSERT_TRUE(p.Runnable()) << p.AllMessages();
    zortask *ptaskUnload = Sub(p.ptask, 0);
    int rc = -1;
    auto msgs = zavtestMessages([&] { rc = zorcontrolUdbCheckBackup(nullptr, ptaskUnload); });
    if (c.iRc == -1) {
      // the open failure of the image passes up, after its own message
      EXPECT_NE(0, rc);
      ASSERT_EQ(1u, msgs.size());
      EXPECT_EQ(0u, msgs[0].rfind("ZORU347E", 0)) << msgs[0];
    } else {
      EXPECT_EQ(c.iRc, rc);
      EXPECT_EQ(c.vMsgs, msgs);
    }
    // the DB2 atom the SELECT sees; GLOBAL's own stays as written, for the other blocks
    EXPECT_EQ(std::string("DB2 ") + c.pcDb2After,
              zor3test::Atom(zortaskDetermineAtom(Sub(ptaskUnload, 0), gapnameTotalToken[TOKEN_DB2])));
    const std::string strGlobalDb2 = c.strGlobal.substr(7, c.strGlobal.find(" ;") - 7);
    EXPECT_EQ(strGlobalDb2, zor3test::Atom(zortaskDetermineAtom(p.ptask, gapnameTotalToken[TOKEN_DB2])));
    if (rc == 0) {
      // the database comes from the first file; no catalogue was read
      EXPECT_EQ("DBNAME 'db'", zor3test::Atom(Own(ptaskUnload, TOKEN_DBNAME)));
      EXPECT_EQ(nullptr, Own(ptaskUnload, TOKEN_CATALOG));
    }
  }

  // without BACKUP nothing is looked at
  Parse p("GLOBAL DB2 YES ;\nUNLOAD TABLESPACE USERSPACE1 SELECT * FROM ZAVTEST.DEPT ; FORMAT DEL ;\n");
  auto msgs = zavtestMessages([&] { EXPECT_EQ(0, zorcontrolUdbCheckBackup(nullptr, Sub(p.ptask, 0))); });
  EXPECT_TRUE(msgs.empty());
}

TEST_F(UdbChecks, CatalogueOfTheCatalogueImage)
{
  // an image whose catalogue table space is of no known type: opened, but no catalogue
  db2backupImage image;
  db2backupBegin(image, 65536);
  db2backupAddObject(image, 9, 0, 0, 0, db2backupLOT({{"SYSCATSPACE", 7}, {"USERSPACE1", 1}}));
  db2backupAddObject(image, 18, 0, 0, 0, {});
  const std::string strCat = strRoot + "/db.0.inst.NODE0000.CATN0000.20030101120000.001";
  ASSERT_TRUE(db2backupWrite(image, strCat));
  Parse p("UNLOAD TABLESPACE USERSPACE1 BACKUP \"db.0.inst.NODE0001.CATN0000.20030101120000.001\", \"" + strCat +
          "\"\n SELECT * FROM ZAVTEST.DEPT ; FORMAT DEL ;\n");
  ASSERT_TRUE(p.Runnable()) << p.AllMessages();
  zortask *ptaskUnload = Sub(p.ptask, 0);
  zoratom *patomBackup = Own(ptaskUnload, TOKEN_BACKUP);
  int rc = -1;
  auto msgs = zavtestMessages([&] { rc = zorcontrolUdbValidateBackupFiles(nullptr, ptaskUnload, patomBackup); });
  EXPECT_EQ(0, rc);
  EXPECT_EQ(std::vector<std::string>{"ZORU427W NO CATALOG AVAILABLE IN GIVEN BACKUP FILES, WILL USE DB2 CATALOG\n"},
            msgs);
  // the second file is the catalogue partition's: its image is opened and shared by every entry
  auto *pfirst = static_cast<zorbkFileEntry *>(patomBackup->value.plist->pitemTop);
  zorbkFileEntry *psecond = pfirst->pitemNext;
  ASSERT_NE(nullptr, psecond->pzorbk);
  EXPECT_EQ(nullptr, pfirst->pzorbk);
  EXPECT_EQ(psecond->pzorbk, pfirst->pzorbkCatalog);
  EXPECT_EQ(psecond->pzorbk, psecond->pzorbkCatalog);
  EXPECT_EQ(1, pfirst->ilNode);
  bkimageFree(psecond->pzorbk);   // lives until exit in the program
}

/* ============================================================ table spaces */

TEST_F(UdbChecks, TableSpaceThroughDb2WithItsContainers)
{
  Spcs(0, {"USERSPACE1", "DMSLONG"});
  Spcs(1, {"USERSPACE1"});
  Parse p("GLOBAL CONNECT TO SAMPLE ;\nUNLOAD TABLESPACE USERSPACE1 SELECT * FROM ZAVTEST.DEPT ; FORMAT DEL ;\n");
  ASSERT_TRUE(p.Runnable()) << p.AllMessages();
  zortask *ptaskUnload = Sub(p.ptask, 0);
  Control(p.ptask);
  int rc = -1;
  auto msgs = zavtestMessages([&] { rc = zorcontrolUdbGetSystablespace(pcontrol, ptaskUnload); });
  EXPECT_EQ(0, rc);
  EXPECT_TRUE(msgs.empty()) << msgs[0];
  zoratom *patomTs = Own(ptaskUnload, TOKEN_SYSTABLESPACE);
  ASSERT_NE(nullptr, patomTs);
  EXPECT_EQ(0, patomTs->iFlags);   // owned: read through CLI
  auto *ptbs = reinterpret_cast<osysibmSystablespace *>(patomTs->value.psysibm);
  EXPECT_EQ("USERSPACE1", Text(ptbs->pcharNAME));
  zoratom *patomCont = Own(ptaskUnload, TOKEN_CONTAINERS);
  ASSERT_NE(nullptr, patomCont);
  ASSERT_EQ(2, patomCont->value.plist->iItemCount);
  EXPECT_EQ(1, static_cast<ficcont *>(patomCont->value.plist->pitemBottom)->ilPart);

  // the long table space of a SELECT's table: its containers, unless the block reads a backup
  zortask *ptaskSelect = Sub(ptaskUnload, 0);
  osysibmSystables table{};
  table.pcharLONG_TBSPACE = Str("DMSLONG");
  zortaskAddAtom(ptaskSelect, zoratomCreate(gapnameTotalToken[TOKEN_SYSTABLE], ZORATOM_SYSIBM, ZORATOM_BORROWED,
                                            reinterpret_cast<uintptr_t>(&table), nullptr, nullptr));
  msgs = zavtestMessages([&] { rc = zorcontrolUdbGetLongSystablespace(pcontrol, ptaskSelect); });
  EXPECT_EQ(0, rc);
  ASSERT_NE(nullptr, Own(ptaskSelect, TOKEN_CONTAINERS_LONG));
  EXPECT_EQ(1, Own(ptaskSelect, TOKEN_CONTAINERS_LONG)->value.plist->iItemCount);   // partition 1 has none
  EXPECT_EQ(std::vector<std::string>{}, msgs);
  zoratomDestroy(zortaskRemoveAtom(ptaskSelect, gapnameTotalToken[TOKEN_CONTAINERS_LONG]));
  ocharDestroy(table.pcharLONG_TBSPACE);
  table.pcharLONG_TBSPACE = Str("NOLONG");
  msgs = zavtestMessages([&] { rc = zorcontrolUdbGetLongSystablespace(pcontrol, ptaskSelect); });
  EXPECT_EQ(SYSIBM_RC_NOCONT, rc);
  EXPECT_EQ(nullptr, Own(ptaskSelect, TOKEN_CONTAINERS_LONG));
  ocharDestroy(table.pcharLONG_TBSPACE);
  table.pcharLONG_TBSPACE = nullptr;
  EXPECT_EQ(0, zorcontrolUdbGetLongSystablespace(pcontrol, ptaskSelect));
  EXPECT_EQ(nullptr, Own(ptaskSelect, TOKEN_CONTAINERS_LONG));

  // the record read through CLI lives until exit in the program; the test frees it
  zoratom *patom = zortaskRemoveAtom(ptaskUnload, gapnameTotalToken[TOKEN_SYSTABLESPACE]);
  ochaine *pchaine = ochaineCreate(0, nullptr, osysibmChaineDestroyProc);
  ochaineAppend(pchaine, patom->value.psysibm);
  catalogcliFreeTablespaces(pchaine);
  patom->value.psysibm = nullptr;
  zoratomDestroy(patom);
}

TEST_F(UdbChecks, TableSpaceFailures)
{
  Spcs(0, {"USERSPACE1"});
  Spcs(1, {"USERSPACE1"});
  struct {
    const char *pcWhat;
    std::string strText;
    int iRc;
    std::vector<std::string> vMsgs;
  } aCases[] = {
      {"no such table space", "GLOBAL CONNECT TO SAMPLE ;\nUNLOAD TABLESPACE NOSUCH ", 0x105a007,
       {"ZORU019E TABLESPACE NOT FOUND IN THE CATALOG SAMPLE.NOSUCH\n"}},
      {"no connection", "GLOBAL CONNECT TO NODB ;\nUNLOAD TABLESPACE USERSPACE1 ", 0x105a009, {}},
      {"no container", "GLOBAL CONNECT TO SAMPLE ;\nUNLOAD TABLESPACE DMSDATA ", SYSIBM_RC_NOCONT,
       {"ZORU343E CANNOT FIND ANY CONTAINER FOR TABLESPACE DMSDATA IN DATABASE SAMPLE\n"}},
  };
  for (auto &c : aCases) {
    SCOPED_TRACE(c.pcWhat);
    Parse p(c.strText + "SELECT * FROM ZAVTEST.DEPT ; FORMAT DEL ;\n");
    ASSERT_TRUE(p.Runnable()) << p.AllMessages();
    Control(p.ptask);
    int rc = -1;
    auto msgs = zavtestMessages([&] { rc = zorcontrolUdbGetSystablespace(pcontrol, Sub(p.ptask, 0)); });
    EXPECT_EQ(c.iRc, rc);
    if (c.iRc == 0x105a009) {
      ASSERT_FALSE(msgs.empty());
      EXPECT_EQ("ZORU020E ERROR WHILE RETRIEVING TABLESPACE INFO FROM THE CATALOG NODB.USERSPACE1\n", msgs.back());
    } else {
      EXPECT_EQ(c.vMsgs, msgs);
    }
    EXPECT_EQ(nullptr, Own(Sub(p.ptask, 0), TOKEN_CONTAINERS));
    zoratom *patom = zortaskRemoveAtom(Sub(p.ptask, 0), gapnameTotalToken[TOKEN_SYSTABLESPACE]);
    if (patom != nullptr) {
      ochaine *pchaine = ochaineCreate(0, nullptr, osysibmChaineDestroyProc);
      ochaineAppend(pchaine, patom->value.psysibm);
      catalogcliFreeTablespaces(pchaine);
      patom->value.psysibm = nullptr;
      zoratomDestroy(patom);
    }
    ostackDestroy(pcontrol->pstackMaxRc);
    std::free(pcontrol);
    pcontrol = nullptr;
  }
}

/*
** The containers of the partitions the block's SELECTs ask for, and of
** them only: partition 1 has no control file, which fails the block when
** one of its SELECTs asks for it (by naming no partition too).
*/
TEST_F(UdbChecks, ContainersOfThePartitionsAskedFor)
{
  Spcs(0, {"USERSPACE1"});
  std::string strMissing = "ZORU432E PARTITION 1 ON HOST " + ThisHost() + " OF DATABASE SAMPLE IS NOT READ: ITS DIRECTORY " +
                           strRoot + "/data/zavinst/NODE0001 DOES NOT EXIST\n";
  struct {
    const char *pcWhat;
    std::string strSelects;
    int iRc;
  } aCases[] = {
      {"the block's PART", "PART(0) SELECT * FROM ZAVTEST.DEPT ; FORMAT DEL ;", 0},
      {"every SELECT's own", "SELECT * FROM ZAVTEST.DEPT ; PART(0) FORMAT DEL SELECT DEPTNO FROM ZAVTEST.DEPT ; PART(0) FORMAT DEL ;",
       0},
      {"one SELECT of every partition", "SELECT * FROM ZAVTEST.DEPT ; PART(0) FORMAT DEL SELECT DEPTNO FROM ZAVTEST.DEPT ; FORMAT DEL ;",
       SYSIBM_RC_PARTITION},
      {"PART(ALL)", "PART(ALL) SELECT * FROM ZAVTEST.DEPT ; FORMAT DEL ;", SYSIBM_RC_PARTITION},
      {"no PART", "SELECT * FROM ZAVTEST.DEPT ; FORMAT DEL ;", SYSIBM_RC_PARTITION},
  };
  for (auto &c : aCases) {
    SCOPED_TRACE(c.pcWhat);
    Parse p("GLOBAL CONNECT TO SAMPLE ;\nUNLOAD TABLESPACE USERSPACE1 " + c.strSelects + "\n");
    ASSERT_TRUE(p.Runnable()) << p.AllMessages();
    Control(p.ptask);
    int rc = -1;
    auto msgs = zavtestMessages([&] { rc = zorcontrolUdbGetSystablespace(pcontrol, Sub(p.ptask, 0)); });
    EXPECT_EQ(c.iRc, rc);
    if (c.iRc == 0) {
      EXPECT_EQ(std::vector<std::string>{}, msgs);
      zoratom *patomCont = Own(Sub(p.ptask, 0), TOKEN_CONTAINERS);
      ASSERT_NE(nullptr, patomCont);
      EXPECT_EQ(1, patomCont->value.plist->iItemCount);
    } else {
      EXPECT_EQ(std::vector<std::string>{strMissing}, msgs);
      EXPECT_EQ(nullptr, Own(Sub(p.ptask, 0), TOKEN_CONTAINERS));
    }
    zoratom *patom = zortaskRemoveAtom(Sub(p.ptask, 0), gapnameTotalToken[TOKEN_SYSTABLESPACE]);
    if (patom != nullptr) {
      ochaine *pchaine = ochaineCreate(0, nullptr, osysibmChaineDestroyProc);
      ochaineAppend(pchaine, patom->value.psysibm);
      catalogcliFreeTablespaces(pchaine);
      patom->value.psysibm = nullptr;
      zoratomDestroy(patom);
    }
    ostackDestroy(pcontrol->pstackMaxRc);
    std::free(pcontrol);
    pcontrol = nullptr;
  }
}

TEST_F(UdbChecks, BackupCatalogueLookups)
{
  HandCatalogue cat;
  cat.Add("SYSCATSPACE", 'A', {{"SYSIBM", "SYSTABLES", "T"}});
  cat.Add("USERSPACE1", 'A', {{"ZAVTEST ", "DEPT", "T"}, {"ZAVTEST", "V1", "V"}});
  Parse p("UNLOAD TABLESPACE USERSPACE1 BACKUP \"SAMPLE.0.inst.NODE0000.CATN0000.20030101120000.001\"\n"
          " SELECT * FROM ZAVTEST.DEPT ; FORMAT DEL ;\n");
  ASSERT_TRUE(p.Runnable()) << p.AllMessages();
  zortask *ptaskUnload = Sub(p.ptask, 0);
  zortaskAddAtom(ptaskUnload, TextAtom(TOKEN_DBNAME, "SAMPLE"));
  zoratom *patomBackup = Own(ptaskUnload, TOKEN_BACKUP);
  ASSERT_EQ(0, zorbkFileEntryDecomposeFileName(static_cast<zorbkFileEntry *>(patomBackup->value.plist->pitemTop)));
  zortaskAddAtom(ptaskUnload, zoratomCreate(gapnameTotalToken[TOKEN_CATALOG], ZORATOM_OCHAINE, ZORATOM_BORROWED,
                                            reinterpret_cast<uintptr_t>(cat.pchaine), nullptr, nullptr));

  // the table space comes from the backup catalogue, borrowed, without containers
  EXPECT_EQ(0, zorcontrolUdbGetSystablespace(Control(p.ptask), ptaskUnload));
  zoratom *patomTs = Own(ptaskUnload, TOKEN_SYSTABLESPACE);
  ASSERT_NE(nullptr, patomTs);
  EXPECT_EQ(ZORATOM_BORROWED, patomTs->iFlags);
  EXPECT_EQ(cat.pchaine->pitemBottom, patomTs->value.psysibm);
  EXPECT_EQ(nullptr, Own(ptaskUnload, TOKEN_CONTAINERS));
  // and a SELECT of a block reading a backup needs no long containers
  EXPECT_EQ(0, zorcontrolUdbGetLongSystablespace(pcontrol, Sub(ptaskUnload, 0)));

  struct {
    const char *pcQualifier, *pcName;
    int iRc;
    const char *pcTablespace;
    char cType;
  } aCases[] = {
      {"ZAVTEST", "DEPT", 0, "USERSPACE1", 'T'},     {"ZAVTEST   ", "V1", 0, "USERSPACE1", 'V'},
      {"SYSIBM", "SYSTABLES", 0, "SYSCATSPACE", 'T'}, {"ZAVTEST", "NOPE", 0x105a007, nullptr, '?'},
      {"OTHER", "DEPT", 0x105a007, nullptr, '?'},
  };
  for (auto &c : aCases) {
    SCOPED_TRACE(std::string(c.pcQualifier) + "." + c.pcName);
    ochar *pcharQual = Str(c.pcQualifier), *pcharName = Str(c.pcName), *pcharTs = nullptr;
    char cType = '?';
    EXPECT_EQ(c.iRc, zorcontrolUdbGetTSFromTB(cat.pchaine, pcharQual, pcharName, &pcharTs, &cType));
    EXPECT_EQ(c.cType, cType);
    if (c.pcTablespace != nullptr) {
      ASSERT_NE(nullptr, pcharTs);
      EXPECT_EQ(c.pcTablespace, Text(pcharTs));
    } else {
      EXPECT_EQ(nullptr, pcharTs);
    }
    for (ochar *pc : {pcharQual, pcharName, pcharTs}) ocharDestroy(pc);
  }
  cat.Free();
}

TEST_F(UdbChecks, DatabaseCcsidAndColumnDescription)
{
  Parse p("GLOBAL CONNECT TO SAMPLE ;\nUNLOAD TABLESPACE USERSPACE1 SELECT * FROM ZAVTEST.DEPT ; FORMAT DEL ;\n");
  zortask *ptaskSelect = Sub(Sub(p.ptask, 0), 0);
  Control(p.ptask);
  EXPECT_EQ(ocnvftSubstInternal(819), zorcontrolUdbGetDbCcsid(pcontrol, ptaskSelect));
  Parse q("GLOBAL CONNECT TO NODB ;\nUNLOAD TABLESPACE USERSPACE1 SELECT * FROM ZAVTEST.DEPT ; FORMAT DEL ;\n");
  int rc = -1;
  zavtestMessages([&] { EXPECT_EQ(0, zorcontrolUdbGetDbCcsid(pcontrol, Sub(Sub(q.ptask, 0), 0))); });
  zavtestMessages([&] { rc = zorcontrolUdbGetColDescription(pcontrol, Sub(Sub(q.ptask, 0), 0), nullptr); });
  EXPECT_EQ(DB2UTIL_RC_CONNECT, rc);
}

TEST_F(UdbChecks, DatabaseCodePageOfABackupCatalogue)
{
  /* the catalogue of an image comes without a CLI connection: the image's code set gives the code page */
  Parse p("GLOBAL CONNECT TO SAMPLE ;\nUNLOAD TABLESPACE USERSPACE1 SELECT * FROM ZAVTEST.DEPT ; FORMAT IXF ;\n");
  zortask *ptaskUnload = Sub(p.ptask, 0);
  Control(p.ptask);
  bool boContext = gpcnvft == nullptr;
  if (boContext) {
    ASSERT_EQ(ocnvftCreateGlobal(nullptr, 'A', 0x80, 37, 0, 1200, 819, 819, 1200, 850, 1208, 1202, 850, 0, 0), 0);
  }
  uint16_t usBefore = gpcnvft->usDbCCSID;
  zorbk bk{};
  bk.isCCSID = 1208;
  ocnvftSetDB(nullptr, 0);
  zorcontrolUdbBackupDbCcsid(pcontrol, ptaskUnload, &bk);
  EXPECT_EQ(gpcnvft->usDbCCSID, ocnvftSubstInternal(1208));
  /* one already known stays */
  bk.isCCSID = 850;
  zorcontrolUdbBackupDbCcsid(pcontrol, ptaskUnload, &bk);
  EXPECT_EQ(gpcnvft->usDbCCSID, ocnvftSubstInternal(1208));
  /* an image without code set: the database's configuration */
  ocnvftSetDB(nullptr, 0);
  bk.isCCSID = 0;
  zorcontrolUdbBackupDbCcsid(pcontrol, ptaskUnload, &bk);
  EXPECT_EQ(gpcnvft->usDbCCSID, ocnvftSubstInternal(819));
  ocnvftSetDB(nullptr, usBefore);
  if (boContext) ocnvftDestroy(gpcnvft);
}

/* ============================================================== partitions */

TEST_F(UdbChecks, PartitionSets)
{
  struct {
    const char *pcWhat;
    const char *pcNodes;   /* db2nodes.cfg, nullptr: partitions 0 and 1 */
    std::string strText;
    int iRc;
    std::vector<std::string> vMsgs;
    std::string strPart, strOutput;   /* the first SELECT's PART and OUTPUT after the check, "" not looked at */
  } aCases[] = {
      {"no PART: every partition", nullptr, "UNLOAD TABLESPACE TS SELECT * FROM A.B ; OUTPUT(\"o\") ;", 0, {},
       "PART {0,1}/2", "OUTPUT [\"o\" mode=5 parts={0,1}/2]"},
      {"PART(ALL)", nullptr, "UNLOAD TABLESPACE TS PART(ALL) SELECT * FROM A.B ; OUTPUT(\"o\") ;", 0, {},
       "PART {0,1}/2", ""},
      {"a partition past the last", nullptr, "UNLOAD TABLESPACE TS PART(3) SELECT * FROM A.B ; OUTPUT(\"o\") ;",
       0x105a003, {"ZORU011E PARTITON NUMBER OUT OF RANGE\n"}, "", ""},
      {"a partition without line", "0 h 0\n2 h 1\n",
       "UNLOAD TABLESPACE TS PART(1) SELECT * FROM A.B ; OUTPUT(\"o\") ;", 0x105a003,
       {"ZORU011E PARTITON NUMBER OUT OF RANGE\n"}, "", ""},
      {"partitions 0 and 2", "0 h 0\n2 h 1\n", "UNLOAD TABLESPACE TS SELECT * FROM A.B ; OUTPUT(\"o\") ;", 0, {},
       "PART {0,2}/3", "OUTPUT [\"o\" mode=5 parts={0,2}/3]"},
      {"SELECT's own set", nullptr,
       "UNLOAD TABLESPACE TS PART(0, 1) SELECT * FROM A.B ; PART(1) OUTPUT(\"o\" FOR PARTS(1)) ;", 0, {},
       "PART {1}/2", "OUTPUT [\"o\" mode=5 parts={1}/2]"},
      {"an output naming no partition takes whichever the SELECT reads", nullptr,
       "UNLOAD TABLESPACE TS PART(1) SELECT * FROM A.B ; OUTPUT(\"o\") ;", 0, {}, "PART {1}/2",
       "OUTPUT [\"o\" mode=5 parts={0,1}/2]"},
      {"a LOB IN naming no partition covers whichever the SELECT reads", nullptr,
       "UNLOAD TABLESPACE TS PART(1) SELECT * FROM A.B ; OUTPUT(\"o\") LOB IN(\"/d\") ;", 0, {}, "PART {1}/2", ""},
      {"output outside the SELECT's set", nullptr,
       "UNLOAD TABLESPACE TS PART(0) SELECT * FROM A.B ; OUTPUT(\"a\" FOR PARTS(1)) ;", 0x105a003,
       {"ZORU011E PARTITON NUMBER OUT OF RANGE\n"}, "PART {0}/2", ""},
      {"output past the last partition", nullptr,
       "UNLOAD TABLESPACE TS SELECT * FROM A.B ; OUTPUT(\"a\" FOR PARTS(4)) ;", 0x105a003,
       {"ZORU011E PARTITON NUMBER OUT OF RANGE\n"}, "", ""},
      {"LOB IN short of the SELECT's set", nullptr,
       "UNLOAD TABLESPACE TS PART(0, 1) SELECT * FROM A.B ; OUTPUT(\"o\") LOB IN(\"/d0\" FOR PARTS(0)) ;", 0,
       {"ZORU425W ONE ASKED PARTITION AT LEAST IS NOT SPECIFIED IN 'LOB IN' CLAUSE\n"}, "PART {0,1}/2", ""},
      {"LOB IN covering it", nullptr,
       "UNLOAD TABLESPACE TS SELECT * FROM A.B ; OUTPUT(\"o\") LOB IN(\"/d0\" FOR PARTS(0), \"/d1\" FOR PARTS(1)) ;",
       0, {}, "PART {0,1}/2", ""},
      {"LOB IN past the last partition", nullptr,
       "UNLOAD TABLESPACE TS SELECT * FROM A.B ; OUTPUT(\"o\") LOB IN(\"/d\" FOR PARTS(5)) ;", 0x105a003,
       {"ZORU011E PARTITON NUMBER OUT OF RANGE\n"}, "", ""},
  };
  for (auto &c : aCases) {
    SCOPED_TRACE(c.pcWhat);
    Nodes(c.pcNodes != nullptr ? c.pcNodes : "0 h 0\n1 h 1\n");
    Parse p(c.strText);
    ASSERT_TRUE(p.Runnable()) << p.AllMessages();
    Control(p.ptask);
    zortask *ptaskUnload = Sub(p.ptask, 0);
    int rc = -1;
    auto msgs = zavtestMessages([&] { rc = zorcontrolUdbCheckPartition(pcontrol, ptaskUnload); });
    EXPECT_EQ(c.iRc, rc);
    EXPECT_EQ(c.vMsgs, msgs);
    zortask *ptaskSelect = Sub(ptaskUnload, 0);
    if (!c.strPart.empty()) {
      EXPECT_EQ(c.strPart, zor3test::Atom(zortaskDetermineAtom(ptaskSelect, gapnameTotalToken[TOKEN_PART])));
    }
    if (!c.strOutput.empty()) {
      EXPECT_EQ(c.strOutput, zor3test::Atom(zortaskDetermineAtom(ptaskSelect, gapnameTotalToken[TOKEN_OUTPUT])));
    }
    ostackDestroy(pcontrol->pstackMaxRc);
    std::free(pcontrol);
    pcontrol = nullptr;
  }

  // no partition list at all
  Parse p("UNLOAD TABLESPACE TS SELECT * FROM A.B ; OUTPUT(\"o\") ;");
  Nodes("garbage\n");
  int rc = 0;
  zavtestMessages([&] { rc = zorcontrolUdbCheckPartition(Control(p.ptask), Sub(p.ptask, 0)); });
  EXPECT_EQ(0x105a003, rc);
}

} // namespace
