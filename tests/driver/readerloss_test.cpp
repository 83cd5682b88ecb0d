/*
** readerloss_test.cpp
**   The whole program, as a subprocess, on a private instance whose DB2
**   files the test page writers make (tools/db2*.h), where a reader used to
**   lose rows without a word.  The instance has two partitions on this host,
**   an SMS table space with the table ZAVTEST.S and a DMS one with
**   ZAVTEST.D, each of six object pages of three rows (tests/storage/
**   fictable.h), and a backup image per partition.  Every case runs on every
**   reader that applies: the forked readers, the online reader (ptk001=1)
**   and the backup image, over SMS and DMS:
**     - damaged pages (a slot count below zero, a page of zeros, a page of
**       another object) and damaged records: named, counted, the run ends
**       with the damaged-data warning and every other row is written;
**     - pages that end before the table's page count (a file, an extent
**       map or an image cut short): the run fails;
**     - a table descriptor moved away from page 0 (a pointer record in
**       slot 3): no false alarm, every row written;
**     - partitions asked for that cannot be read (no daemon on the host,
**       the directory or the control file missing): the request fails
**       naming the partition; db2nodes.cfg host names that are this host.
**   The engine's catalogue is made once; the files are written anew for
**   each case.
*/
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "catalog/sysibmcont.h"
#include "common/obyte.h"
#include "platform/db2admin.h"
#include "run/zorurun.h"
#include "tests/driver/twopart.h"
#include "tests/storage/empspace.h"
#include "tests/storage/fictable.h"
#include "tests/zavproc.h"
#include "tests/zavtest.h"
#include "tools/db2backup.h"
#include "tools/db2emp.h"
#include "tools/db2pages.h"
#include "tools/db2spcs.h"

namespace fs = std::filesystem;

namespace {

using fictable::Bytes;

using namespace twopart;

/* A loopback port nothing listens on. */
int ClosedPort()
{
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  if (bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len) != 0) {
    close(fd);
    return 1;
  }
  close(fd);
  return ntohs(addr.sin_port);
}

/*
** What a case does to the files of partition 0 (partition 1 stays sound):
** a page of one table changed before it is written, pages left out, the
** table descriptor moved to a slot of another page.
*/
struct Faults {
  char cTable = 0;                                /* 'S' or 'D': the table whose page is changed */
  uint32_t ulPage = 0;                            /* its object page */
  std::function<void(Bytes &)> fnPage;            /* the change */
  uint32_t ulSmsPagesKept = kPages;               /* S: pages its file and its image object keep */
  uint32_t ulDmsExtentsMapped = 2;                /* D: extents its extent map lists */
  uint32_t ulDescPage = 0;                        /* not 0: the descriptor lies on that object page */
};

/* The private instance: engine catalogue and installation made once. */
class ReaderLoss : public ::testing::Test {
 protected:
  static void SetUpTestSuite()
  {
    char acDir[] = "/tmp/readerloss_testXXXXXX";
    ASSERT_NE(mkdtemp(acDir), nullptr);
    gstrDir = acDir;
    for (const char *pc : {"/home", "/data", "/backup", "/topzav/bin", "/topzav/cfg", "/topzav/msg"})
      fs::create_directories(gstrDir + pc);
    setenv("DB2INSTANCE", "zavinst", 1);
    setenv("ZAVDB2_INSTHOME", (gstrDir + "/home").c_str(), 1);
    std::string strErr;
    std::vector<db2adminColumn> vCols = {
        {"R", "INTEGER", false, "", -1}, {"V", "VARCHAR(20)", true, "", -1}, {"C", "CHAR(3)", false, "", -1}};
    ASSERT_EQ(db2adminCreateInstance(Nodes(), &strErr), 0) << strErr;
    ASSERT_EQ(db2adminCreateDatabase("SAMPLE", gstrDir + "/data", 819, 1, &strErr), 0) << strErr;
    ASSERT_EQ(db2adminCreateTablespace("SAMPLE", "SMSSPACE", kSmsSpace, 'S', 'A', kExtent, kPageSize, &strErr), 0)
        << strErr;
    ASSERT_EQ(db2adminCreateTablespace("SAMPLE", "DMSSPACE", kDmsSpace, 'D', 'A', kExtent, kPageSize, &strErr), 0)
        << strErr;
    ASSERT_EQ(db2adminCreateTable("SAMPLE", "ZAVTEST", "S", "SMSSPACE", "", kTable, vCols, &strErr), 0) << strErr;
    ASSERT_EQ(db2adminCreateTable("SAMPLE", "ZAVTEST", "D", "DMSSPACE", "", kTable, vCols, &strErr), 0) << strErr;
    passwd *ppw = getpwuid(getuid());
    std::ofstream(gstrDir + "/topzav/cfg/db2zav.cfg")
        << "db2instance=zavinst\ndb2dbdft=SAMPLE\ninsthomes=zavinst:" << gstrDir
        << "/home\ninstusers=zavinst:" << (ppw != nullptr ? ppw->pw_name : "root")
        << "\nlanguagecode=en\ncountrycode=US\n";
    std::ofstream(gstrDir + "/topzav/cfg/db2zav.trace") << "-- no trace\n";
    fs::copy(gstrDir + "/topzav", gstrDir + "/online", fs::copy_options::recursive);
    gstrImages = "\"" + Image(0) + "\", \"" + Image(1) + "\"";
    std::ofstream(gstrDir + "/online/cfg/db2zav.cfg", std::ios::app) << "ptk001=1\n";
  }
  static void TearDownTestSuite()
  {
    if (!gstrDir.empty()) fs::remove_all(gstrDir);
  }

  static std::vector<std::string> Nodes() { return {"0 " + HostName() + " 0", "1 " + HostName() + " 1"}; }

  /* The partition's database directory. */
  static std::string DbDir(int iPart) { return gstrDir + "/data/zavinst/NODE000" + std::to_string(iPart) + "/SQL00001/"; }

  /* The partition's backup image. */
  static std::string Image(int iPart)
  {
    return gstrDir + "/backup/SAMPLE.0.zavinst.NODE000" + std::to_string(iPart) + ".CATN0000.20040101120000.001";
  }

  /*
  ** Object page p of a table of kPages pages (tests/storage/fictable.h: rows
  ** 10p to 10p + 2), with the table descriptor moved to the page faults
  ** name: a pointer in slot 3 of page 0 to slot 6 of that page
  ** (ulPointerPage, the page as the table space numbers it), which holds
  ** the descriptor.
  */
  static Bytes TablePage(uint32_t p, const Faults &f, uint32_t ulPointerPage)
  {
    if (f.ulDescPage == 0 || (p != 0 && p != f.ulDescPage)) return fictable::Page(kPageSize, p, kPages, nullptr);
    std::vector<Bytes> vSlots;
    for (int i = 0; i < 3; i++) vSlots.push_back(fictable::Row(static_cast<int>(p) * 10 + i));
    std::vector<Bytes> vRecords = {vSlots[0], Bytes{}, db2pages::pointer(p, 0), vSlots[1], db2pages::other(1),
                                   vSlots[2]};
    Bytes v;
    if (p == 0) {
      vRecords.insert(vRecords.begin(), {db2pages::fileHeader(kPages), Bytes{}, db2pages::other(0, 16),
                                         db2pages::pointer(ulPointerPage, 6)});
      v = db2pages::page(kPageSize, 0, vRecords);
    } else {
      vRecords.push_back(db2pages::descriptor(fictable::Columns()));
      v = db2pages::page(kPageSize, p, vRecords);
    }
    db2empSeal(v.data(), kPageSize);
    return v;
  }

  /* The pages of a table of partition iPart with the faults of partition 0. */
  static std::vector<Bytes> Pages(char cTable, int iPart, const Faults &f, uint32_t ulFirstPage)
  {
    std::vector<Bytes> v;
    Faults none;
    const Faults &use = iPart == 0 ? f : none;
    for (uint32_t p = 0; p < kPages + 2; p++) {
      /* two pages past the table's end hold rows that are not the table's */
      Bytes page = TablePage(p, use, ulFirstPage + use.ulDescPage);
      if (iPart == 0 && f.cTable == cTable && f.ulPage == p && f.fnPage) f.fnPage(page);
      v.push_back(page);
    }
    return v;
  }

  /* Writes DB2's files of every partition, partition 0 with the faults. */
  static void Write(const Faults &f)
  {
    for (int n = 0; n < 2; n++) {
      std::string strDb = DbDir(n);   /* the engine's own store lies there too */
      fs::remove_all(strDb + "sms");
      fs::create_directories(strDb + "sms");

      db2spcsTablespace sms = Space(kSmsSpace, "SMSSPACE", DB2SPCS_SMS, {{"sms", 0, 0, 0, kPageSize}});
      db2spcsTablespace dms = DmsSpace();
      ASSERT_TRUE(db2spcsWriteFile(strDb + "SQLSPCS.1", {sms, dms}));

      /* S: one file of its pages in the only container */
      std::vector<Bytes> vSms = Pages('S', n, f, 0);
      uint32_t ulSmsKept = n == 0 ? f.ulSmsPagesKept : kPages;
      Bytes vSmsFile;
      for (uint32_t p = 0; p < ulSmsKept; p++) vSmsFile.insert(vSmsFile.end(), vSms[p].begin(), vSms[p].end());
      std::ofstream(strDb + "sms/SQL00004.DAT", std::ios::binary)
          .write(reinterpret_cast<const char *>(vSmsFile.data()), static_cast<std::streamsize>(vSmsFile.size()));

      /* D: the extents partition 0's faults leave mapped, the table's pages with its faults */
      empSpace sp = DmsPages(Pages('D', n, f, kFirstData), n == 0 ? f.ulDmsExtentsMapped : 2);
      WriteDmsContainers(sp, strDb);

      /* the image: table-space list and definitions, S's object, D's pages in runs of an extent */
      db2backupImage image;
      db2backupBegin(image, 65536, 0x800, "ISO8859-1");
      db2backupAddObject(image, 9, 0, 0, 0, db2backupLOT({{"SMSSPACE", 1}, {"DMSSPACE", 2}}));
      for (const db2spcsTablespace *pts : {&sms, &dms}) {
        Bytes vRec = db2spcsRecord(*pts);
        db2backupAddObject(image, 11, pts->sId, 0, 0, Bytes(vRec.begin(), vRec.begin() + 2048));
      }
      db2backupAddObject(image, 0, kSmsSpace, kTable, 0, vSmsFile);
      std::map<uint32_t, Bytes> mapRuns;
      for (const auto &[ulPage, v] : sp.mapPages) {
        Bytes &run = mapRuns[ulPage / kExtent * kExtent];
        run.resize((ulPage % kExtent + 1) * static_cast<size_t>(kPageSize), 0);
        std::copy(v.begin(), v.end(), run.begin() + static_cast<long>((ulPage % kExtent) * kPageSize));
      }
      for (const auto &[ulFirst, run] : mapRuns) db2backupAddObject(image, 12, kDmsSpace, 0, static_cast<int32_t>(ulFirst), run);
      db2backupAddObject(image, 18, 0, 0, 0, {});
      db2backupAddTail(image);
      ASSERT_TRUE(db2backupWrite(image, Image(n)));
    }
    std::ofstream(gstrDir + "/home/sqllib/db2nodes.cfg") << Nodes()[0] << "\n" << Nodes()[1] << "\n";
  }

  /* The readers. */
  enum Reader { FORKED, ONLINE, BACKUP };
  static const char *Name(Reader r) { return r == FORKED ? "forked" : r == ONLINE ? "online" : "backup"; }

  /*
  ** Runs an unload of the table (ZAVTEST.S or ZAVTEST.D) by the reader, of
  ** partition 0 (or those of strPart) into o.del, or the outputs given.
  */
  static zavprocResult Run(Reader reader, char cTable, const std::string &strPart = "PART(0)",
                           const std::string &strOutput = "OUTPUT(\"o.del\")",
                           const std::map<std::string, std::string> &mEnv = {})
  {
    std::string strCwd = gstrDir + "/run";
    fs::remove_all(strCwd);
    fs::create_directories(strCwd);
    std::ofstream(strCwd + "/job.ctl")
        << "GLOBAL CONNECT TO SAMPLE LOCK NO QUIESCE NO ;\nUNLOAD TABLESPACE " << (cTable == 'S' ? "SMSSPACE" : "DMSSPACE")
        << " " << strPart << "\n"
        << (reader == BACKUP ? "  DB2 NO BACKUP " + gstrImages + "\n" : std::string())
        << "  SELECT R, V, C FROM ZAVTEST." << cTable << " ;\n  " << strOutput << "\n  FORMAT DEL\n;\n";
    zavprocSpec spec;
    spec.vArgv = {ZAV_BINARY_DIR "/driver/db2zav", "-f", "job.ctl"};
    spec.mEnv = {{"PATH", "/usr/bin:/bin"},
                 {"LANG", "C"},
                 {"TOPZAV", gstrDir + (reader == ONLINE ? "/online" : "/topzav")},
                 {"ZAVDB2_INSTHOME", gstrDir + "/home"},
                 {"DB2INSTANCE", "zavinst"},
                 {"ASAN_OPTIONS", std::getenv("ASAN_OPTIONS") ? std::getenv("ASAN_OPTIONS") : ""}};
    for (const auto &[k, v] : mEnv) spec.mEnv[k] = v;
    spec.strCwd = strCwd;
    return zavprocRun(spec);
  }

  /* The first column of each line of an output file of the last run. */
  static std::multiset<int> Rows(const std::string &strFile = "o.del")
  {
    std::multiset<int> set;
    std::istringstream in(zavtestReadText(gstrDir + "/run/" + strFile));
    for (std::string strLine; std::getline(in, strLine);) set.insert(std::atoi(strLine.c_str()));
    return set;
  }

  /* The rows of a table of kPages pages, but those of the pages named. */
  static std::multiset<int> Expected(const std::set<uint32_t> &setLost = {})
  {
    std::multiset<int> set;
    for (uint32_t p = 0; p < kPages; p++)
      for (int i = 0; i < 3 && !setLost.count(p); i++) set.insert(static_cast<int>(p) * 10 + i);
    return set;
  }

  static std::string gstrDir;
  static std::string gstrImages;   /* the images a backup run names */
};

std::string ReaderLoss::gstrDir;
std::string ReaderLoss::gstrImages;

const int kDamagedStatus = ZORURUN_RC_DAMAGED & 0xFF;

/* A damage done to object page 2 of a table (fictable: slot 0 holds row 20 at the first record offset). */
struct Damage {
  const char *pcName;
  std::function<void(Bytes &)> fnPage;
  std::set<uint32_t> setLostPages;     /* the rows of these pages are lost */
  std::set<int> setLostRows;           /* and these */
  std::string strMessage;              /* the message, "%T" for the table */
};

const std::vector<Damage> &Damages()
{
  static const size_t ulSlotDir = db2pages::kSlotDir;
  static const std::vector<Damage> v = {
      {"SlotCountBelowZero", [](Bytes &p) { db2pages::putLE16(p, ulSlotDir, 0xFFFE); }, {2}, {},
       "ZORU451W DAMAGED SLOT DIRECTORY, RECORDS OF THE PAGE SKIPPED: TABLE %T PAGE 2 (REASON CODE 0x117a002)\n"},
      {"PageOfZerosAmongTheTablesPages", [](Bytes &p) { std::fill(p.begin(), p.end(), 0); }, {2}, {},
       "ZORU433W DAMAGED PAGE SKIPPED: TABLE %T PAGE 2 HOLDS PAGE NUMBER 0\n"},
      {"PageOfAnotherObject", [](Bytes &p) { p = fictable::Page(kPageSize, 7, 9, nullptr); }, {2}, {},
       "ZORU433W DAMAGED PAGE SKIPPED: TABLE %T PAGE 2 HOLDS PAGE NUMBER 7\n"},
      {"RecordLongerThanItsPage",
       [](Bytes &p) {
         size_t ulRecord = ulSlotDir + 20 + obyteGetLE16(p.data() + ulSlotDir + 20);
         obytePutLE16(p.data() + ulRecord + 2, 5000);
       },
       {}, {20}, "ZORU454W DAMAGED RECORD SKIPPED: TABLE %T PAGE 2 SLOT 0 (REASON CODE 0x117a001)\n"},
      {"SlotPointingOutOfItsPage", [](Bytes &p) { db2pages::putLE16(p, ulSlotDir + 20, 0x7F00); }, {}, {20},
       "ZORU454W DAMAGED RECORD SKIPPED: TABLE %T PAGE 2 SLOT 0 (REASON CODE 0x117a002)\n"},
  };
  return v;
}

/* One damage of the table per test, so that each stays short. */
class ReaderLossDamaged : public ReaderLoss, public ::testing::WithParamInterface<size_t> {};

/*
** A damaged page or record of either table, on every reader: the page (or
** record) is named, counted and skipped, the SELECT ends with the count,
** the run with the damaged-data warning, and every other row is written.
*/
TEST_P(ReaderLossDamaged, NamedCountedAndSkippedByEveryReader)
{
  const Damage &d = Damages()[GetParam()];
  for (char cTable : {'S', 'D'}) {
    Faults f;
    f.cTable = cTable;
    f.ulPage = 2;
    f.fnPage = d.fnPage;
    Write(f);
    std::string strTable = std::string("ZAVTEST.") + cTable;
    std::string strMessage = d.strMessage;
    strMessage.replace(strMessage.find("%T"), 2, strTable);
    std::multiset<int> setExpected = Expected(d.setLostPages);
    for (int iRow : d.setLostRows) setExpected.erase(iRow);
    for (Reader reader : {FORKED, ONLINE, BACKUP}) {
      SCOPED_TRACE(std::string(d.pcName) + ", " + strTable + ", " + Name(reader));
      zavprocResult r = Run(reader, cTable);
      EXPECT_EQ(r.iStatus, kDamagedStatus) << r.strOut;
      EXPECT_NE(r.strOut.find(strMessage), std::string::npos) << r.strOut;
      EXPECT_NE(r.strOut.find("ZORU453W SELECT FROM " + strTable + " ENDED WITH 1 DAMAGED RECORDS SKIPPED\n"),
                std::string::npos)
          << r.strOut;
      EXPECT_EQ(r.strOut.find("ZORU412I"), std::string::npos) << r.strOut;
      EXPECT_EQ(Rows(), setExpected) << r.strOut;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, ReaderLossDamaged, ::testing::Range<size_t>(0, Damages().size()),
                         [](const ::testing::TestParamInfo<size_t> &info) { return Damages()[info.param].pcName; });

/*
** The table's pages end before the page count of its data-file header: the
** SMS file and the image's object keep four of six pages, the extent map
** lists one extent of the two.  No reader takes that for the end of the
** table: the run fails (ZORU434E, or the page that cannot be read).
*/
TEST_F(ReaderLoss, PagesEndingBeforeTheTablesLastPageFailTheRun)
{
  struct Case {
    const char *pcName;
    char cTable;
    Faults f;
  } aCases[] = {
      {"SMS file and image object cut after page 3", 'S', [] {
         Faults f;
         f.ulSmsPagesKept = 4;
         return f;
       }()},
      {"extent map of one extent", 'D', [] {
         Faults f;
         f.ulDmsExtentsMapped = 1;
         return f;
       }()},
  };
  for (const Case &c : aCases) {
    Write(c.f);
    for (Reader reader : {FORKED, ONLINE, BACKUP}) {
      SCOPED_TRACE(std::string(c.pcName) + ", " + Name(reader));
      zavprocResult r = Run(reader, c.cTable);
      EXPECT_NE(r.iStatus, 0) << r.strOut;
      EXPECT_NE(r.iStatus, kDamagedStatus) << r.strOut;
      bool boNamed = r.strOut.find(std::string("ZORU434E PAGES OF TABLE ZAVTEST.") + c.cTable + " END AFTER 4 OF ITS 6 "
                                   "PAGES: THE OTHERS CANNOT BE READ\n") != std::string::npos ||
                     r.strOut.find("ZORU347E IO FAILURE ON FILE") != std::string::npos;
      EXPECT_TRUE(boNamed) << r.strOut;
      EXPECT_EQ(r.strOut.find("ZORU412I"), std::string::npos) << r.strOut;
    }
  }
}

/*
** The table descriptor moved off page 0 (slot 3 a pointer record to slot 6
** of page 3): the record it points to is the descriptor, no row, and no
** reader takes it for a damaged one.
*/
TEST_F(ReaderLoss, DescriptorMovedToAnotherPageIsNoDamagedRow)
{
  Faults f;
  f.ulDescPage = 3;
  Write(f);
  for (char cTable : {'S', 'D'}) {
    for (Reader reader : {FORKED, ONLINE, BACKUP}) {
      SCOPED_TRACE(std::string(1, cTable) + ", " + Name(reader));
      zavprocResult r = Run(reader, cTable);
      EXPECT_EQ(r.iStatus, 0) << r.strOut;
      EXPECT_EQ(r.strOut.find("ZORU454W"), std::string::npos) << r.strOut;
      EXPECT_NE(r.strOut.find("ZORU412I"), std::string::npos) << r.strOut;
      EXPECT_EQ(Rows(), Expected()) << r.strOut;
    }
  }
}

/*
** EMPPART's case of a partitioned table: partition 1 cannot be read.  A
** request that asks for it (PART(0, 1), or no PART) fails naming it and
** why; one that asks for partition 0 only reads it and ends well.  The
** host names of db2nodes.cfg that name this host read it here.
*/
TEST_F(ReaderLoss, PartitionAskedForThatCannotBeReadFailsTheRequest)
{
  const std::string strOutputs = "OUTPUT(\"p0.del\" FOR PARTS(0), \"p1.del\" FOR PARTS(1))";
  const std::string strOutput0 = "OUTPUT(\"p0.del\" FOR PARTS(0))";
  std::string strNode1 = gstrDir + "/data/zavinst/NODE0001";
  std::string strPort = std::to_string(ClosedPort());
  struct Case {
    const char *pcName;
    std::function<void()> fnBreak;
    std::string strWhy;        /* "": partition 1 is read */
  } aCases[] = {
      {"no daemon on its host",
       [&] { std::ofstream(gstrDir + "/home/sqllib/db2nodes.cfg") << Nodes()[0] << "\n1 127.0.0.2 0\n"; },
       "ZORU432E PARTITION 1 ON HOST 127.0.0.2 OF DATABASE SAMPLE IS NOT READ: NO ZAV DAEMON ANSWERS ON THAT HOST\n"},
      {"its directory missing", [&] { fs::remove_all(strNode1); },
       "ZORU432E PARTITION 1 ON HOST " + HostName() + " OF DATABASE SAMPLE IS NOT READ: ITS DIRECTORY " + strNode1 +
           " DOES NOT EXIST\n"},
      {"its control file missing", [&] { fs::remove(DbDir(1) + "SQLSPCS.1"); },
       "ZORU432E PARTITION 1 ON HOST " + HostName() + " OF DATABASE SAMPLE IS NOT READ: ITS TABLESPACE CONTROL FILE " +
           DbDir(1) + "SQLSPCS.1 DOES NOT EXIST\n"},
      {"its host called localhost",
       [&] { std::ofstream(gstrDir + "/home/sqllib/db2nodes.cfg") << Nodes()[0] << "\n1 localhost 1\n"; }, ""},
      {"its host given as an absolute name",
       [&] { std::ofstream(gstrDir + "/home/sqllib/db2nodes.cfg") << Nodes()[0] << "\n1 " << HostName() << ". 1\n"; },
       ""},
  };
  /* the table space and reader do not change how partitions are found: a few of them */
  struct Run1 {
    char cTable;
    Reader reader;
    const char *pcPart;
  } aRuns[] = {{'D', FORKED, "PART(0, 1)"}, {'D', FORKED, ""}, {'S', ONLINE, "PART(0, 1)"}, {'D', ONLINE, "PART(0)"}};
  for (const Case &c : aCases) {
    Write(Faults{});
    c.fnBreak();
    for (const Run1 &run : aRuns) {
      SCOPED_TRACE(std::string(c.pcName) + ", " + run.cTable + ", " + Name(run.reader) + ", " + run.pcPart);
      bool boAsked = std::string(run.pcPart) != "PART(0)";
      zavprocResult r = Run(run.reader, run.cTable, run.pcPart, boAsked ? strOutputs : strOutput0,
                            {{"ZAV_DAEMON_PORT", strPort}});
      if (boAsked && !c.strWhy.empty()) {
        EXPECT_EQ(r.iStatus, SYSIBM_RC_PARTITION & 0xFF) << r.strOut;
        EXPECT_NE(r.strOut.find(c.strWhy), std::string::npos) << r.strOut;
        EXPECT_EQ(r.strOut.find("ZORU412I"), std::string::npos) << r.strOut;
        EXPECT_EQ(Rows("p0.del"), std::multiset<int>{}) << r.strOut;
      } else {
        EXPECT_EQ(r.iStatus, 0) << r.strOut;
        EXPECT_EQ(r.strOut.find("ZORU432E"), std::string::npos) << r.strOut;
        EXPECT_EQ(Rows("p0.del"), Expected()) << r.strOut;
        EXPECT_EQ(Rows("p1.del"), boAsked ? Expected() : std::multiset<int>{}) << r.strOut;
      }
    }
  }
}

/* From backup images, every partition PART names is read from its own image: one must be given. */
TEST_F(ReaderLoss, PartitionNamedWithoutItsBackupImageFailsTheRequest)
{
  Write(Faults{});
  const std::string strOutputs = "OUTPUT(\"p0.del\" FOR PARTS(0), \"p1.del\" FOR PARTS(1))";
  gstrImages = "\"" + Image(0) + "\"";
  zavprocResult r = Run(BACKUP, 'D', "PART(0, 1)", strOutputs);
  EXPECT_EQ(r.iStatus, SYSIBM_RC_PARTITION & 0xFF) << r.strOut;
  EXPECT_NE(r.strOut.find("ZORU432E PARTITION 1 ON HOST " + HostName() +
                          " OF DATABASE SAMPLE IS NOT READ: NO BACKUP IMAGE OF IT IS GIVEN\n"),
            std::string::npos)
      << r.strOut;
  EXPECT_EQ(r.strOut.find("ZORU412I"), std::string::npos) << r.strOut;
  /* partition 0 alone from its image; both partitions from both */
  r = Run(BACKUP, 'D', "PART(0)", "OUTPUT(\"p0.del\" FOR PARTS(0))");
  EXPECT_EQ(r.iStatus, 0) << r.strOut;
  EXPECT_EQ(Rows("p0.del"), Expected()) << r.strOut;
  gstrImages = "\"" + Image(0) + "\", \"" + Image(1) + "\"";
  r = Run(BACKUP, 'D', "PART(0, 1)", strOutputs);
  EXPECT_EQ(r.iStatus, 0) << r.strOut;
  EXPECT_EQ(Rows("p0.del"), Expected()) << r.strOut;
  EXPECT_EQ(Rows("p1.del"), Expected()) << r.strOut;
}

}  // namespace
