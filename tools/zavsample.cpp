/*
** zavsample.cpp
**   Builds the bundled sample instance: an installation tree for db2zav
**   (bin/, cfg/db2zav.cfg, cfg/db2zav.trace, msg/db2zav) and a DB2 instance
**   "zavinst" with one database SAMPLE holding a small, fixed data set, put
**   into the DB2 stand-in's engine.  The same data set is meant to be
**   written in DB2's own file formats as well, so that reading the files
**   directly and asking the engine give the same unloads.
**
**   Usage: zavsample <target directory> [<built message catalogue dir>] [<db2zav program>]
**   Afterwards: TOPZAV=<target>/topzav, ZAVDB2_INSTHOME=<target>/home,
**   DB2INSTANCE=zavinst (see <target>/env.sh).
*/
#include "platform/db2admin.h"
#include "tools/db2spcs.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

int _fail(const std::string &strWhat, const std::string &strError)
{
  std::fprintf(stderr, "zavsample: %s: %s\n", strWhat.c_str(), strError.c_str());
  return 1;
}

std::string _hostName()
{
  char ac[256] = {0};
  if (gethostname(ac, sizeof ac - 1) != 0) return "localhost";
  std::string str = ac;
  size_t ulDot = str.find('.');
  return ulDot == std::string::npos ? str : str.substr(0, ulDot);
}

/* The employees: one row each, with NULLs, negative and zero decimals,
   quotes and delimiters inside character values. */
const char *const gpcEmployees =
    "INSERT INTO ZAVTEST.EMPLOYEE VALUES"
    "('000010','CHRISTINE','HAAS','A00','3978','1965-01-01','08.00.00','52750.00','1000.00',18,"
    "'2004-03-15-10.20.30.123456',4.5,1.25,9000000000001),"
    "('000020','MICHAEL','THOMPSON','B01','3476','1973-10-10','09.15.00','41250.00','800.00',18,"
    "'2004-03-15-10.20.31.000000',3.75,2.5,9000000000002),"
    "('000030','SALLY','KWAN','C01','4738','1975-04-05','07.30.00','38250.00','800.00',20,"
    "'2004-03-15-10.20.32.500000',4.0,3.0,-9000000000003),"
    "('000050','JOHN','GEYER','E01','6789','1949-08-17','10.45.59','40175.00',NULL,16,"
    "'2004-03-16-00.00.00.000001',NULL,NULL,0),"
    "('000060','IRVING','STERN','D11','6423','1973-09-14','12.00.00','32250.00','500.00',16,"
    "NULL,2.0,0.5,42),"
    "('000070','EVA','PULASKI','D21','7831','1980-09-30','23.59.59','36170.00','-0.50',16,"
    "'2004-12-31-23.59.59.999999',1.0E10,-1.5,-1),"
    "('000090','EILEEN','HENDERSON','E11','5498','1970-08-15','00.00.00','29750.00','0.00',16,"
    "'2000-02-29-12.00.00.000000',-2.25,100.0,123456789),"
    "('000100','THEODORE','SPENSER','E21','0972','1980-06-19',NULL,'26150.00','500.00',14,"
    "'1999-01-01-00.00.00.000000',0.0,0.0,7),"
    "('000110','VINCENZO','LUCCHESSI','A00','3490','1958-05-16','14.30.00','46500.00','900.00',19,"
    "'2001-07-04-09.00.00.000000',3.0,4.0,8),"
    "('000120','SEAN','O''CONNELL','A00','2167','1963-12-05','16.05.07','29250.00','600.00',14,"
    "'2002-11-11-11.11.11.111111',2.5,2.5,9),"
    "('000130','DELORES','QUINTANA','C01','4578','1971-07-28','06.00.00','23800.00','500.00',16,"
    "'2003-05-05-05.05.05.050505',1.5,1.5,10),"
    "('000140','HEATHER','NICHOLLS','C01',NULL,'1976-12-15','18.20.00','28420.00','600.00',18,"
    "'2003-06-06-06.06.06.060606',3.5,3.5,11),"
    "('000150','BRUCE','ADAMSON','D11','4510','1972-02-12','13.00.00','25280.00','500.00',16,"
    "'2003-07-07-07.07.07.070707',2.0,2.0,12),"
    "('000160','ELIZABETH','PIANKA','D11','3782','1977-10-11','11.11.11','22250.00','400.00',17,"
    "'2003-08-08-08.08.08.080808',2.0,2.0,13),"
    "('000170','MASATOSHI','YOSHIMURA','D11','2890','1978-09-15','15.15.15','24680.00','500.00',16,"
    "'2003-09-09-09.09.09.090909',2.0,2.0,14),"
    "('000180','MARILYN','SCOUTTEN','D11','1682','1973-07-07','17.17.17','21340.00','500.00',17,"
    "'2003-10-10-10.10.10.101010',2.0,2.0,15),"
    "('000190','JAMES','WALKER','D11','2986','1974-07-26','19.19.19','20450.00','400.00',16,"
    "'2003-11-11-11.11.11.111111',2.0,2.0,16),"
    "('000200','DAVID','BROWN','D11','4501','1966-03-03','20.20.20','27740.00','600.00',16,"
    "'2003-12-12-12.12.12.121212',2.0,2.0,17),"
    "('000210','WILLIAM','JONES','D11','0942','1979-04-11','21.21.21','18270.00','400.00',17,"
    "'2004-01-13-13.13.13.131313',2.0,2.0,18),"
    "('000220','JENNIFER','LUTZ, \"JEN\"','D11','0672','1968-08-29','22.22.22','29840.00','600.00',18,"
    "'2004-02-14-14.14.14.141414',2.0,2.0,19);";

const char *const gpcDepartments =
    "INSERT INTO ZAVTEST.DEPT VALUES"
    "('A00','SPIFFY COMPUTER SERVICE DIV.','000010','NEW YORK'),"
    "('B01','PLANNING','000020',NULL),"
    "('C01','INFORMATION CENTER','000030','SAN JOSE'),"
    "('D11','MANUFACTURING SYSTEMS','000060',NULL),"
    "('E01','SUPPORT SERVICES','000050','PARIS');";

const char *const gpcDocs =
    "INSERT INTO ZAVTEST.DOCS VALUES"
    "(1,'first',  'A short character large object.', X'00010203FF', 'long varchar one'),"
    "(2,NULL,     NULL, NULL, NULL),"
    "(3,'third',  'Line one' || char(10) || 'Line two', X'DEADBEEF', 'x');";

}  // namespace

int main(int argc, char **argv)
{
  if (argc < 2) {
    std::fprintf(stderr, "usage: zavsample <target directory> [<message catalogue dir>] [<db2zav program>]\n");
    return 2;
  }
  std::string strTarget = fs::absolute(argv[1]).lexically_normal().string();
  std::error_code ec;
  fs::remove_all(strTarget, ec);
  fs::create_directories(strTarget + "/topzav/bin", ec);
  fs::create_directories(strTarget + "/topzav/cfg", ec);
  fs::create_directories(strTarget + "/topzav/msg", ec);
  fs::create_directories(strTarget + "/home", ec);
  fs::create_directories(strTarget + "/data", ec);
  if (ec) return _fail("creating " + strTarget, ec.message());

  setenv("DB2INSTANCE", "zavinst", 1);
  setenv("ZAVDB2_INSTHOME", (strTarget + "/home").c_str(), 1);
  std::string strErr;
  struct passwd *ppw = getpwuid(getuid());
  std::string strUser = ppw ? ppw->pw_name : "root";

  if (db2adminCreateInstance({"0 " + _hostName() + " 0"}, &strErr) != 0) return _fail("instance", strErr);
  if (db2adminAddUser("zavuser", "zavpw", "zavgrp", &strErr) != 0) return _fail("user", strErr);
  if (db2adminAddUser("nobody2", "nopw", "", &strErr) != 0) return _fail("user", strErr);
  if (db2adminCreateDatabase("SAMPLE", strTarget + "/data", 819, 1, &strErr) != 0) return _fail("database", strErr);
  struct {
    const char *pcName;
    int iId;
    char cType, cData;
  } aSpaces[] = {{"SYSCATSPACE", 0, 'S', 'A'}, {"TEMPSPACE1", 1, 'S', 'T'}, {"USERSPACE1", 2, 'S', 'A'},
                 {"DMSDATA", 3, 'D', 'A'},     {"DMSLONG", 4, 'D', 'L'}};
  for (auto &s : aSpaces)
    if (db2adminCreateTablespace("SAMPLE", s.pcName, s.iId, s.cType, s.cData, 16, 4096, &strErr) != 0)
      return _fail(std::string("table space ") + s.pcName, strErr);

  if (db2adminCreateTable("SAMPLE", "ZAVTEST", "DEPT", "USERSPACE1", "", 2,
                          {{"DEPTNO", "CHAR(3)", false, "", -1},
                           {"DEPTNAME", "VARCHAR(36)", false, "", -1},
                           {"MGRNO", "CHAR(6)", true, "", -1},
                           {"LOCATION", "CHAR(16)", true, "'NOWHERE'", -1}},
                          &strErr) != 0)
    return _fail("table DEPT", strErr);
  if (db2adminCreateTable("SAMPLE", "ZAVTEST", "EMPLOYEE", "DMSDATA", "", 4,
                          {{"EMPNO", "CHAR(6)", false, "", -1},
                           {"FIRSTNME", "VARCHAR(12)", false, "", -1},
                           {"LASTNAME", "VARCHAR(15)", false, "", -1},
                           {"WORKDEPT", "CHAR(3)", true, "", -1},
                           {"PHONENO", "CHAR(4)", true, "", -1},
                           {"HIREDATE", "DATE", true, "", -1},
                           {"STARTTIME", "TIME", true, "", -1},
                           {"SALARY", "DECIMAL(9,2)", true, "", -1},
                           {"BONUS", "DECIMAL(9,2)", true, "0", -1},
                           {"EDLEVEL", "SMALLINT", false, "", -1},
                           {"CREATED", "TIMESTAMP", true, "", -1},
                           {"RATING", "DOUBLE", true, "", -1},
                           {"SCORE", "REAL", true, "", -1},
                           {"BIGID", "BIGINT", true, "", -1}},
                          &strErr) != 0)
    return _fail("table EMPLOYEE", strErr);
  if (db2adminCreateTable("SAMPLE", "ZAVTEST", "DOCS", "DMSDATA", "DMSLONG", 5,
                          {{"ID", "INTEGER", false, "", -1},
                           {"TITLE", "VARCHAR(40)", true, "", -1},
                           {"BODY", "CLOB(64K)", true, "", -1},
                           {"PHOTO", "BLOB(64K)", true, "", -1},
                           {"NOTES", "LONG VARCHAR", true, "", -1}},
                          &strErr) != 0)
    return _fail("table DOCS", strErr);
  for (const char *pc : {gpcDepartments, gpcEmployees, gpcDocs})
    if (db2adminExecute("SAMPLE", pc, &strErr) != 0) return _fail("rows", strErr);
  if (db2adminGrantDbadm("SAMPLE", "zavgrp", 'G', &strErr) != 0) return _fail("grant", strErr);

  /* The partition's table-space control file, one container each.  The
     containers' pages themselves are not written yet: the rows live in the
     engine, so the sample job reads them through DB2. */
  {
    std::vector<db2spcsTablespace> vSpaces;
    for (auto &s : aSpaces) {
      db2spcsTablespace ts;
      ts.sId = static_cast<int16_t>(s.iId);
      ts.strName = s.pcName;
      ts.ulExtentSize = 16;
      ts.vContainers.push_back({std::string("c_") + s.pcName, 0, 0, 0, 4096});
      vSpaces.push_back(ts);
    }
    std::string strDir = strTarget + "/data/zavinst/NODE0000/SQL00001";
    fs::create_directories(strDir, ec);
    if (ec || !db2spcsWriteFile(strDir + "/SQLSPCS.1", vSpaces)) return _fail("table-space control file", strDir);
  }
  {
    std::ofstream cfg(strTarget + "/topzav/cfg/db2zav.cfg");
    cfg << "# db2zav configuration of the sample instance\n"
        << "db2instance=zavinst\n"
        << "db2dbdft=SAMPLE\n"
        << "insthomes=zavinst:" << strTarget << "/home\n"
        << "instusers=zavinst:" << strUser << "\n"
        << "languagecode=en\n"
        << "countrycode=US\n";
    std::ofstream trace(strTarget + "/topzav/cfg/db2zav.trace");
    trace << "-- trace keywords to switch on, one or more a line\n";
    std::ofstream env(strTarget + "/env.sh");
    env << "export TOPZAV=" << strTarget << "/topzav\n"
        << "export ZAVDB2_INSTHOME=" << strTarget << "/home\n"
        << "export DB2INSTANCE=zavinst\n";
    if (!cfg || !trace || !env) return _fail("configuration", "cannot write");
  }
  if (argc > 2 && fs::is_directory(argv[2])) {
    fs::copy(argv[2], strTarget + "/topzav/msg/db2zav", fs::copy_options::recursive, ec);
    if (ec) return _fail("message catalogue", ec.message());
  }
  if (argc > 3 && fs::exists(argv[3])) {
    fs::create_symlink(fs::absolute(argv[3]), strTarget + "/topzav/bin/db2zav", ec);
    if (ec) return _fail("program link", ec.message());
  }
  std::printf("sample instance built in %s\n", strTarget.c_str());
  return 0;
}
