/*
** zorcontrol_test.cpp
**   The control object: the PARMLIB task becomes the owner of the GLOBAL
**   task, so values of the options, the configuration and the parameter
**   library are found from every task of the request.
**   The control step against a DB2 stand-in instance with database SAMPLE
**   (ZAVTEST.DEPT in USERSPACE1, ZAVTEST.EMPLOYEE in DMSDATA): routing of
**   each SELECT (direct or DB2), SELECT * filled from the table, SELECTs
**   moved into blocks of their own, the stop at the first failing block,
**   and the whole program on the bundled sample job.
*/
#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "model/osysibm.h"
#include "io/db2util.h"
#include "model/tools.h"
#include "driver/zormain.h"
#include "expr/zorcol.h"
#include "expr/zornode.h"
#include "platform/db2admin.h"
#include "tests/catalog/fakecattest.h"
#include "tests/zavtest.h"
#include "tools/db2spcs.h"

#include "common/ostack.h"
#include "control/zorcontrol.h"
#include "control/zorcontroludbts.h"
#include "model/token.h"
#include "model/zoratom.h"
#include "model/zortask.h"
#include "tests/control/zor3test.h"

namespace {

class Zorcontrol : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(tokenInitKeyword(), 0); }
};

TEST_F(Zorcontrol, ParmlibValuesReachEveryTaskOfTheRequest)
{
  zor3test::Parse parse("GLOBAL MAXRC 8 ; UNLOAD TABLESPACE TS SELECT * FROM T; ASIS;");
  ASSERT_TRUE(parse.Runnable());
  zortask *pglobal = parse.ptask;
  zortask *punload = static_cast<zortask *>(pglobal->pchaineSubTasks->pitemTop);
  zortask *pselect = static_cast<zortask *>(punload->pchaineSubTasks->pitemTop);

  zortask *pparmlib = zortaskCreateNamed(gapnameTotalToken[TOKEN_PARMLIB]);
  ASSERT_NE(pparmlib, nullptr);
  zoratom *plock = zoratomCreate(gapnameTotalToken[TOKEN_LOCK], ZORATOM_INTEGER, ZORATOM_BORROWED,
                                 ZOR3YACC_YES, nullptr, nullptr);
  zoratom *pmaxrc = zoratomCreate(gapnameTotalToken[TOKEN_MAXRC], ZORATOM_INTEGER,
                                  ZORATOM_BORROWED, 4, nullptr, nullptr);
  ASSERT_EQ(zortaskAddAtom(pparmlib, plock), 0);
  ASSERT_EQ(zortaskAddAtom(pparmlib, pmaxrc), 0);
  EXPECT_EQ(zortaskDetermineAtom(pselect, gapnameTotalToken[TOKEN_LOCK]), nullptr);

  zorcontrol *pcontrol = zorcontrolCreate(pglobal, pparmlib);
  ASSERT_NE(pcontrol, nullptr);
  EXPECT_EQ(pcontrol->ptaskGlobal, pglobal);
  EXPECT_EQ(pcontrol->ptaskParmlib, pparmlib);
  EXPECT_EQ(pglobal->ptaskOwner, pparmlib);
  for (zortask *ptask : {pglobal, punload, pselect})
    EXPECT_EQ(zortaskDetermineAtom(ptask, gapnameTotalToken[TOKEN_LOCK]), plock);
  /* A value of the request still hides the default. */
  EXPECT_EQ(zortaskDetermineMaxRc(pselect), 8);

  /* The MAXRC stack is empty with its five slots; the other words are zero. */
  ASSERT_NE(pcontrol->pstackMaxRc, nullptr);
  EXPECT_EQ(ostackGetCount(pcontrol->pstackMaxRc), 0);
  EXPECT_EQ(pcontrol->pstackMaxRc->iCapacity, ZORCONTROL_MAXRC_SLOTS);
  for (uintptr_t ulWord : pcontrol->aulWork) EXPECT_EQ(ulWord, 0u);

  pglobal->ptaskOwner = nullptr;
  ostackDestroy(pcontrol->pstackMaxRc);
  std::free(pcontrol);
  zortaskDestroy(pparmlib);
}

/* ================================================================ control step */

namespace fs = std::filesystem;

} // namespace

/*
** Leaks of other modules that the control step reaches, left to them:
** the output preparation's core data is not freed with its atom, the
** description through DB2 takes the old COLTABLE out without freeing it,
** and the catalogue query of an empty table space keeps a fetched row.
*/
extern "C" const char *__lsan_default_suppressions()
{
  return "leak:zorcontrolUdbCreateCoreData\nleak:_zorcontrolBuildColTable\nleak:_sqlcatFetchAll\n";
}

namespace {

constexpr int32_t kiNo = 0xD5D6;

std::string ThisHost()
{
  char ac[100] = {0};
  toolsGetHostName(ac, sizeof ac);
  return ac;
}

zoratom *TextAtom(int iSlot, const std::string &str)
{
  ochar *pchar = ocharCreate(0, 850);
  ocharAppendFixedS(pchar, str.data(), static_cast<int32_t>(str.size()));
  ocharMakeC(pchar);
  return zoratomCreate(gapnameTotalToken[iSlot], ZORATOM_OCHAR, 0, reinterpret_cast<uintptr_t>(pchar), nullptr,
                       nullptr);
}

zortask *Sub(zortask *ptask, int i)
{
  zortask *p = ptask->pchaineSubTasks != nullptr ? static_cast<zortask *>(ptask->pchaineSubTasks->pitemTop) : nullptr;
  while (p != nullptr && i-- > 0) p = p->ptaskNext;
  return p;
}

int Count(zortask *ptask) { return ptask->pchaineSubTasks != nullptr ? ptask->pchaineSubTasks->iItemCount : 0; }

zoratom *Own(zortask *ptask, int iSlot)
{
  return static_cast<zoratom *>(odictLoad(ptask->pdictAtoms, reinterpret_cast<uintptr_t>(gapnameTotalToken[iSlot])));
}

std::string OwnText(zortask *ptask, int iSlot)
{
  zoratom *patom = Own(ptask, iSlot);
  return patom != nullptr ? zor3test::Text(patom->value.pchar) : "<none>";
}

/* Names of the columns of a column chain, comma-separated. */
std::string Columns(zortask *ptask, int iSlot)
{
  zoratom *patom = Own(ptask, iSlot);
  if (patom == nullptr || patom->value.pchaine == nullptr) return "<none>";
  std::string str;
  for (auto *pcol = static_cast<zorcol *>(patom->value.pchaine->pitemTop); pcol != nullptr; pcol = pcol->pcolNext)
    str += (str.empty() ? "" : ",") + zor3test::Text(pcol->pcharName);
  return str;
}

class ControlStep : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(tokenInitKeyword(), 0); }

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
    ASSERT_EQ(0, db2adminCreateInstance({"0 " + ThisHost() + " 0"}, &e)) << e;
    ASSERT_EQ(0, db2adminCreateDatabase("SAMPLE", strRoot + "/data", 819, 1, &e)) << e;
    struct {
      const char *pcName;
      int iId;
      char cType, cData;
    } aSpaces[] = {{"SYSCATSPACE", 0, 'S', 'A'}, {"USERSPACE1", 2, 'S', 'A'}, {"DMSDATA", 3, 'D', 'A'},
                   {"EMPTYSPACE", 5, 'S', 'A'}};
    for (auto &sp : aSpaces)
      ASSERT_EQ(0, db2adminCreateTablespace("SAMPLE", sp.pcName, sp.iId, sp.cType, sp.cData, 16, 4096, &e)) << e;
    ASSERT_EQ(0, db2adminCreateTable("SAMPLE", "ZAVTEST", "DEPT", "USERSPACE1", "", 2,
                                     {{"DEPTNO", "CHAR(3)", false, "", -1}, {"DEPTNAME", "VARCHAR(29)", false, "", -1}},
                                     &e))
        << e;
    ASSERT_EQ(0, db2adminCreateTable("SAMPLE", "ZAVTEST", "EMPLOYEE", "DMSDATA", "", 4,
                                     {{"EMPNO", "CHAR(6)", false, "", -1}, {"SALARY", "DECIMAL(9,2)", true, "", -1}},
                                     &e))
        << e;
    std::string strPath = strRoot + "/data/zavinst/NODE0000/SQL00001/";
    fs::create_directories(strPath);
    std::vector<db2spcsTablespace> v;
    int16_t sId = 2;
    for (const char *pc : {"USERSPACE1", "DMSDATA", "EMPTYSPACE"}) {
      db2spcsTablespace ts;
      ts.sId = sId++;
      ts.strName = pc;
      ts.vContainers.push_back({std::string("c_") + pc, 0, 0, 0, 4096});
      v.push_back(ts);
    }
    ASSERT_TRUE(db2spcsWriteFile(strPath + "SQLSPCS.1", v));

    passwd *ppw = getpwuid(geteuid());
    ptaskParmlib = zortaskCreateNamed(gapnameTotalToken[TOKEN_PARMLIB]);
    zortaskAddAtom(ptaskParmlib, TextAtom(TOKEN_INSTANCE_NAME, "zavinst"));
    zortaskAddAtom(ptaskParmlib, TextAtom(TOKEN_INSTANCE_USER, ppw != nullptr ? ppw->pw_name : ""));
    zortaskAddAtom(ptaskParmlib, TextAtom(TOKEN_SQLID, "ZAVTEST"));
    /* the originating run, not one started with -l */
    zortaskAddAtom(ptaskParmlib, zoratomCreate(gapnameTotalToken[TOKEN_LOCAL], ZORATOM_INTEGER, ZORATOM_BORROWED,
                                               kiNo, nullptr, nullptr));
  }

  void TearDown() override
  {
    FreeControl();
    zortaskDestroy(ptaskParmlib);
  }

  /* Ends one request: the connection and the control object go, the instance stays. */
  void FreeControl()
  {
    db2utilDisconnect(&ghenv, &ghdbc);
    if (pcontrol != nullptr) {
      ostackDestroy(pcontrol->pstackMaxRc);
      std::free(pcontrol);
    }
    pcontrol = nullptr;
  }

  /* Runs the control step on a parsed request; returns its code and fills msgs. */
  int Control(zor3test::Parse &p)
  {
    pcontrol = zorcontrolCreate(p.ptask, ptaskParmlib);
    int rc = -1;
    msgs = zavtestMessages([&] { rc = zorcontrolControl(pcontrol); });
    p.ptask->ptaskOwner = nullptr;
    return rc;
  }

  zavtestTempDir dir;
  std::string strRoot;
  zortask *ptaskParmlib = nullptr;
  zorcontrol *pcontrol = nullptr;
  std::vector<std::string> msgs;
};

/* How each SELECT is routed: direct reading, DB2, or failure. */
TEST_F(ControlStep, SelectsAreRoutedByTheirDb2Option)
{
  const std::string strBlock = "UNLOAD TABLESPACE USERSPACE1\n  SELECT ";
  struct {
    const char *pcWhat;
    std::string strText;
    int iRc;
    uint32_t ulFlags;   /* flags of the first SELECT */
    std::vector<std::string> vMsgs;
  } aCases[] = {
      {"direct", "GLOBAL CONNECT TO SAMPLE ;\n" + strBlock + "DEPTNO FROM ZAVTEST.DEPT WHERE DEPTNO = 'A00' ;\n  FORMAT DEL\n;\n",
       0, 0, {}},
      {"DB2 FORCE", "GLOBAL CONNECT TO SAMPLE DB2 FORCE ;\n" + strBlock + "* FROM ZAVTEST.DEPT ;\n  FORMAT DEL\n;\n", 0, 2 | 8,
       {"ZORU062I DB2 FORCE SPECIFIED: SELECT PROCESS THROUGH DB2\n"}},
      {"DB2 YES, ORDER BY falls back",
       "GLOBAL CONNECT TO SAMPLE DB2 YES ;\n" + strBlock + "DEPTNO FROM ZAVTEST.DEPT ORDER BY DEPTNO ;\n  FORMAT DEL\n;\n", 0,
       2 | 8, {"ZORU063W UNSUPPORTED SELECT, WILL ATTEMPT DB2 PROCESSING\n"}},
      {"DB2 NO, ORDER BY fails",
       "GLOBAL CONNECT TO SAMPLE DB2 NO ;\n" + strBlock + "DEPTNO FROM ZAVTEST.DEPT ORDER BY DEPTNO ;\n  FORMAT DEL\n;\n",
       0x105a012, 1, {"ZORU380E UNSUPPORTED ORDER BY CLAUSE. ATTEMPT WITH DB2 PROCESSING.\n"}},
      {"DB2 NO, an expression of the select list not evaluated fails",
       "GLOBAL CONNECT TO SAMPLE DB2 NO ;\n" + strBlock + "LENGTH(DEPTNAME) FROM ZAVTEST.DEPT ;\n  FORMAT DEL\n;\n",
       0x106a010, 1, {"ZORU481E UNSUPPORTED EXPRESSION IN THE SELECT LIST. UNLOAD WITH DB2 OPTION.\n"}},
      {"DB2 YES, an expression of the select list falls back",
       "GLOBAL CONNECT TO SAMPLE DB2 YES ;\n" + strBlock + "LENGTH(DEPTNAME) FROM ZAVTEST.DEPT ;\n  FORMAT DEL\n;\n",
       0, 2 | 8, {"ZORU063W UNSUPPORTED SELECT, WILL ATTEMPT DB2 PROCESSING\n"}},
      {"DB2 NO, unknown column fails", "GLOBAL CONNECT TO SAMPLE ;\n" + strBlock + "NOSUCH FROM ZAVTEST.DEPT ;\n  FORMAT DEL\n;\n",
       0x105a013, 1,
       {"ZORU010I ITEM STARTING AT (3,10) ENDING AT(3,16)\n", "ZORU024E COLUMN NOSUCH IS NOT PART OF THE TABLE ZAVTEST.DEPT.\n"}},
      {"DB2 YES, unknown column falls back to DB2, which refuses it too",
       "GLOBAL CONNECT TO SAMPLE DB2 YES ;\n" + strBlock + "NOSUCH FROM ZAVTEST.DEPT ;\n  FORMAT DEL\n;\n", 0x116a001,
       1 | 2 | 8,
       {"ZORU063W UNSUPPORTED SELECT, WILL ATTEMPT DB2 PROCESSING\n",
        "ZORU306E DB2 ERROR: SQL0206N  \"NOSUCH\" is not valid in the context where it is used.  SQLSTATE=42703\n"}},
      {"DB2 NO, table in no table space",
       "GLOBAL CONNECT TO SAMPLE DB2 NO ;\n" + strBlock + "* FROM ZAVTEST.NOSUCH ;\n  FORMAT DEL\n;\n", 0x105a001, 1 | 8,
       {"ZORU066E NO TABLESPACE FOUND FOR TABLE ZAVTEST.NOSUCH\n"}},
  };
  for (auto &c : aCases) {
    SCOPED_TRACE(c.pcWhat);
    zor3test::Parse p(c.strText);
    ASSERT_TRUE(p.Runnable()) << p.AllMessages();
    EXPECT_EQ(Control(p), c.iRc);
    EXPECT_EQ(msgs, c.vMsgs);
    zortask *pselect = nullptr;
    for (int i = 0; i < Count(p.ptask) && pselect == nullptr; i++) pselect = Sub(Sub(p.ptask, i), 0);
    ASSERT_NE(pselect, nullptr);
    EXPECT_EQ(pselect->ulFlags, c.ulFlags);
    EXPECT_EQ(pselect->pstackDefered, nullptr);
    FreeControl();
  }
}

TEST_F(ControlStep, SelectStarIsFilledFromTheTableAndQualifiedFromSqlid)
{
  zor3test::Parse p("GLOBAL CONNECT TO SAMPLE ;\nUNLOAD TABLESPACE USERSPACE1\n  SELECT * FROM DEPT ;\n  FORMAT DEL\n;\n");
  ASSERT_TRUE(p.Runnable()) << p.AllMessages();
  EXPECT_EQ(Control(p), 0);
  EXPECT_TRUE(msgs.empty());
  zortask *pselect = Sub(Sub(p.ptask, 0), 0);
  EXPECT_EQ(pselect->ulFlags, 0u);
  EXPECT_EQ(OwnText(pselect, TOKEN_TBQUALIFIER), "ZAVTEST");
  EXPECT_EQ(Columns(pselect, TOKEN_COLTABLE), "DEPTNO,DEPTNAME");
  EXPECT_EQ(Columns(pselect, TOKEN_SELECT), "DEPTNO,DEPTNAME");
  zoratom *ptable = Own(pselect, TOKEN_SYSTABLE);
  ASSERT_NE(ptable, nullptr);
  EXPECT_EQ(ptable->iFlags & ZORATOM_BORROWED, ZORATOM_BORROWED);
  EXPECT_EQ(zor3test::Text(reinterpret_cast<osysibmSystables *>(ptable->value.psysibm)->pcharNAME).substr(0, 4),
            "DEPT");
}

TEST_F(ControlStep, SelectOfAnotherTableSpaceMovesIntoABlockOfItsOwn)
{
  zor3test::Parse p("GLOBAL CONNECT TO SAMPLE ;\nUNLOAD TABLESPACE\n"
                    "  SELECT * FROM ZAVTEST.DEPT ;\n  FORMAT DEL\n"
                    "  SELECT EMPNO FROM ZAVTEST.EMPLOYEE WHERE SALARY > 100 ;\n  FORMAT DEL\n;\n");
  ASSERT_TRUE(p.Runnable()) << p.AllMessages();
  EXPECT_EQ(Control(p), 0);
  EXPECT_TRUE(msgs.empty());
  ASSERT_EQ(Count(p.ptask), 2);
  zortask *pfirst = Sub(p.ptask, 0), *pmoved = Sub(p.ptask, 1);
  EXPECT_EQ(OwnText(pfirst, TOKEN_TSNAME), "USERSPACE1");
  ASSERT_EQ(Count(pfirst), 1);
  EXPECT_EQ(OwnText(Sub(pfirst, 0), TOKEN_TBNAME), "DEPT");
  /* the new block found its table space from the moved SELECT */
  EXPECT_EQ(OwnText(pmoved, TOKEN_TSNAME), "DMSDATA");
  EXPECT_EQ(pmoved->ulFlags, 0u);
  ASSERT_EQ(Count(pmoved), 1);
  zortask *pselect = Sub(pmoved, 0);
  EXPECT_EQ(pselect->ptaskOwner, pmoved);
  EXPECT_EQ(OwnText(pselect, TOKEN_TBNAME), "EMPLOYEE");
  EXPECT_EQ(pselect->ulFlags, 0u);
  EXPECT_NE(Own(pselect, TOKEN_SYSTABLE), nullptr);
  /* the resolution message kept for it is dropped once it succeeds */
  EXPECT_EQ(pselect->pstackDefered, nullptr);
}

TEST_F(ControlStep, NoSelectGivesATableSpace)
{
  zor3test::Parse p("GLOBAL CONNECT TO SAMPLE DB2 YES ;\nUNLOAD TABLESPACE\n  SELECT * FROM ZAVTEST.NOSUCH ;\n  FORMAT DEL\n;\n");
  ASSERT_TRUE(p.Runnable()) << p.AllMessages();
  int rc = Control(p);
  zortask *punload = Sub(p.ptask, 0);
  EXPECT_NE(punload->ulFlags & 8u, 0u);
  EXPECT_EQ(Own(punload, TOKEN_TSNAME), nullptr);
  EXPECT_EQ(Own(punload, TOKEN_SYSTABLESPACE), nullptr);
  zortask *pselect = Sub(punload, 0);
  EXPECT_EQ(pselect->ulFlags & 0xAu, 0xAu);
  ASSERT_GE(msgs.size(), 2u);
  EXPECT_EQ(msgs[0], "ZORU066E NO TABLESPACE FOUND FOR TABLE ZAVTEST.NOSUCH\n");
  EXPECT_EQ(msgs[1], "ZORU063W UNSUPPORTED SELECT, WILL ATTEMPT DB2 PROCESSING\n");
  /* DB2 cannot describe a missing table either: the SELECT fails there */
  EXPECT_TRUE((rc & 0x7000) > 0x1000) << std::hex << rc;
  EXPECT_NE(pselect->ulFlags & 1u, 0u);
}

TEST_F(ControlStep, FirstBlockOfErrorSeverityStopsTheStep)
{
  zor3test::Parse p("GLOBAL CONNECT TO SAMPLE ;\n"
                    "UNLOAD TABLESPACE USERSPACE1\n  SELECT DEPTNO FROM ZAVTEST.DEPT ORDER BY DEPTNO ;\n  FORMAT DEL\n;\n"
                    "UNLOAD TABLESPACE DMSDATA\n  SELECT * FROM ZAVTEST.EMPLOYEE ;\n  FORMAT DEL\n;\n");
  ASSERT_TRUE(p.Runnable()) << p.AllMessages();
  EXPECT_EQ(Control(p), 0x105a012);
  EXPECT_EQ(msgs, std::vector<std::string>{"ZORU380E UNSUPPORTED ORDER BY CLAUSE. ATTEMPT WITH DB2 PROCESSING.\n"});
  EXPECT_EQ(Sub(p.ptask, 0)->ulFlags, 1u);
  /* the second block is never checked */
  EXPECT_EQ(Own(Sub(Sub(p.ptask, 1), 0), TOKEN_SYSTABLE), nullptr);
  EXPECT_EQ(Own(Sub(p.ptask, 1), TOKEN_SYSTABLESPACE), nullptr);
}

TEST_F(ControlStep, EmptyTableSpaceAndMissingGlobalType)
{
  {
    zor3test::Parse p("GLOBAL CONNECT TO SAMPLE ;\nUNLOAD TABLESPACE EMPTYSPACE\n  SELECT * FROM ZAVTEST.DEPT ;\n  FORMAT DEL\n;\n");
    ASSERT_TRUE(p.Runnable()) << p.AllMessages();
    int rc = Control(p);
    EXPECT_TRUE((rc & 0x7000) > 0x1000) << std::hex << rc;
    EXPECT_EQ(Sub(p.ptask, 0)->ulFlags, 1u);
    FreeControl();
  }
  zor3test::Parse p("GLOBAL CONNECT TO SAMPLE ;\nUNLOAD TABLESPACE USERSPACE1\n  SELECT * FROM ZAVTEST.DEPT ;\n  FORMAT DEL\n;\n");
  ASSERT_TRUE(p.Runnable()) << p.AllMessages();
  zoratom *patom = zortaskRemoveAtom(p.ptask, gapnameTotalToken[TOKEN_TASKTYPE]);
  ASSERT_NE(patom, nullptr);
  zoratomDestroy(patom);
  EXPECT_EQ(Control(p), 0x105a001);
  EXPECT_EQ(Own(Sub(p.ptask, 0), TOKEN_SYSTABLESPACE), nullptr);
}

/* A view read from the stored catalogue file: resolved to its base table, its columns paired with the table's. */
TEST_F(ControlStep, ViewFromTheStoredCatalogueResolvesToItsBaseTable)
{
  /* the stored catalogue file is read from the working directory */
  struct Cwd {
    char ac[4096] = {0};
    Cwd(const std::string &str)
    {
      if (getcwd(ac, sizeof ac) == nullptr) ac[0] = 0;
      if (chdir(str.c_str()) != 0) ac[0] = 0;
    }
    ~Cwd()
    {
      if (ac[0] != 0 && chdir(ac) != 0) std::perror("chdir");
    }
  } cwd(strRoot);
  ASSERT_NE(cwd.ac[0], 0);
  ASSERT_EQ(ofakecatInitModule(), 0);
  {
    orscs *prscs = orscsCreate("$FAKE", 2, 0);
    ASSERT_NE(prscs, nullptr);
    oresdict *pssid = oresCreateDict(prscs->pdictMain, "DB2A", 0);
    ores *pres = oresCreate(ORES_TYPE_I16, 0, 0);
    ASSERT_EQ(oresPutShort(pres, 710), 0);
    ASSERT_EQ(oresStoreNamed(pssid, "Version", pres), 0);
    oresDestroy(pres);
    oresdict *pindex = oresCreateDict(pssid, "DSNVTH01", 0);
    oresdict *pkey = oresCreateDict(pindex, (std::string("ZAVTEST ") + "VDEPT             ").c_str(), 0);
    ochaine *ptext = fakecatChain(
        38, {fakecatImage(oresTDatasysviewsV7, 38,
                          {{"NAME", "VDEPT"}, {"CREATOR", "ZAVTEST"}, {"SEQNO", 1},
                           {"TEXT", "CREATE VIEW ZAVTEST.VDEPT (NUM) AS "}, {"TYPE", "V"}}),
             fakecatImage(oresTDatasysviewsV7, 38,
                          {{"NAME", "VDEPT"}, {"CREATOR", "ZAVTEST"}, {"SEQNO", 2},
                           {"TEXT", "SELECT DEPTNO FROM DEPT"}, {"TYPE", "V"}})});
    ochaine *pdeps = fakecatChain(39, {fakecatImage(oresTDatasysviewdepV7, 39,
                                                    {{"BNAME", "DEPT"}, {"BCREATOR", "ZAVTEST"}, {"BTYPE", "T"},
                                                     {"DNAME", "VDEPT"}, {"DCREATOR", "ZAVTEST"}, {"DTYPE", "V"}})});
    void *pview = fakecatImage(oresTDatasysvtreeV7, 30,
                               {{"NAME", "VDEPT"}, {"CREATOR", "ZAVTEST"}, {"TYPE", "V"}},
                               {fakecatChain(31, {fakecatImage(oresTDatasysvltreeV7, 31, {{"VTREE", "tree"}})}), ptext,
                                pdeps});
    ASSERT_EQ(fakecatStore(pkey, "1", OFAKECAT_TYPE(30, 7), pview), 0);
    odb2x2ImageDestroy(pview);
    for (oresdict *pd : {pkey, pindex, pssid}) oresdictDestroy(pd);
    orscsDestroy(prscs);
  }
  zortaskAddAtom(ptaskParmlib, TextAtom(TOKEN_SSID, "DB2A"));

  zor3test::Parse p("GLOBAL CONNECT TO SAMPLE ;\nUNLOAD TABLESPACE USERSPACE1\n  SELECT NUM FROM ZAVTEST.VDEPT ;\n"
                    "  FORMAT DEL\n;\n");
  ASSERT_TRUE(p.Runnable()) << p.AllMessages();
  pcontrol = zorcontrolCreate(p.ptask, ptaskParmlib);
  zortask *punload = Sub(p.ptask, 0), *pselect = Sub(punload, 0);
  int rc = -1;
  osysibm *pbase = nullptr;
  msgs = zavtestMessages([&] {
    rc = zorcontrolUdbGetSystablespace(pcontrol, punload);
    if (rc == 0)
      rc = _zorcontrolDetermineSystableFromView(pcontrol, pselect, Own(pselect, TOKEN_TBQUALIFIER)->value.pchar,
                                                Own(pselect, TOKEN_TBNAME)->value.pchar, &pbase);
    if (rc == 0) rc = _zorcontrolBuildColTable(pcontrol, pselect, pbase);
    if (rc == 0) rc = zorcontrolSelectClause(pcontrol, pselect);
  });
  p.ptask->ptaskOwner = nullptr;
  EXPECT_EQ(rc, 0) << std::hex << rc;
  EXPECT_TRUE(msgs.empty()) << msgs.front();
  ASSERT_NE(pbase, nullptr);
  EXPECT_EQ(zor3test::Text(reinterpret_cast<osysibmSystables *>(pbase)->pcharNAME).substr(0, 4), "DEPT");
  zoratom *pview = Own(pselect, TOKEN_VIEW);
  ASSERT_NE(pview, nullptr);
  EXPECT_EQ(pview->iKind, ZORATOM_OLIST);
  /* NUM of the view reads DEPTNO of the table */
  auto *pcol = static_cast<zorcol *>(Own(pselect, TOKEN_SELECT)->value.pchaine->pitemTop);
  ASSERT_NE(pcol, nullptr);
  EXPECT_EQ(pcol->iDb2Number, 0);
  EXPECT_EQ(pcol->pnodeExpr->sKind, ZORNODE_VAR);
  EXPECT_EQ(zor3test::Text(static_cast<zorcol *>(pcol->pnodeExpr->pLeft)->pcharName), "DEPTNO");

  /* a view the file does not hold */
  EXPECT_EQ(_zorcontrolDetermineSystableFromView(pcontrol, pselect, Own(pselect, TOKEN_TBQUALIFIER)->value.pchar,
                                                 Own(punload, TOKEN_TSNAME)->value.pchar, &pbase),
            0x103a004);
}

/* The whole program on the bundled sample job: -n stops after a clean control step. */
TEST(ControlStepProgram, SampleJobPassesTheControlStep)
{
  std::string strDb2zav = ZAV_BINARY_DIR "/driver/db2zav";
  std::string strSample = ZAV_BINARY_DIR "/tools/zavsample";
  if (!fs::exists(strDb2zav) || !fs::exists(strSample)) GTEST_SKIP() << "db2zav or zavsample not built";
  zavtestTempDir dir;
  std::string strCmd = strSample + " " + dir.path + "/sample >/dev/null 2>&1";
  ASSERT_EQ(std::system(strCmd.c_str()), 0) << strCmd;
  /* the sample job runs in <sample>/out, where its BACKUP path leads to the images */
  fs::create_directories(dir.path + "/sample/out");
  strCmd = "cd " + dir.path + "/sample/out && env -i PATH=/usr/bin:/bin LANG=C TOPZAV=" + dir.path +
           "/sample/topzav ZAVDB2_INSTHOME=" + dir.path + "/sample/home DB2INSTANCE=zavinst " + strDb2zav +
           " -n -f " ZAV_SOURCE_DIR "/tools/sample/unload.ctl 2>&1";
  FILE *pfile = popen(strCmd.c_str(), "r");
  ASSERT_NE(pfile, nullptr);
  std::string strOut;
  char ac[4096];
  size_t ul;
  while ((ul = std::fread(ac, 1, sizeof ac, pfile)) > 0) strOut.append(ac, ul);
  int iStatus = pclose(pfile);
  EXPECT_TRUE(WIFEXITED(iStatus) && WEXITSTATUS(iStatus) == 0) << strOut;
  EXPECT_NE(strOut.find("ZORU426I CONTROL FILE SYNTAX IS CORRECT\n"), std::string::npos) << strOut;
}

} // namespace
