// Table-space control files written with tools/db2spcs.h and read back:
// record selection and decoding, refused records, access failures, copies
// and dumps of partition records, and page mapping checked against
// container files whose pages carry their own numbers.
#include "storage/ficcont.h"
#include "storage/ficdms.h"
#include "storage/ficsms.h"

#include "common/ochar.h"
#include "common/olist.h"
#include "model/part.h"
#include "tests/zavtest.h"
#include "tools/db2spcs.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

ochar *Name(const std::string &str, uint16_t usCCSID = 850)
{
  ochar *pchar = ocharCreate(0, usCCSID);
  ocharAppendFixedS(pchar, str.data(), static_cast<int32_t>(str.size()));
  return pchar;
}

std::string Text(const ochar *pchar)
{
  return pchar == nullptr ? std::string("<null>") : std::string(_charText(pchar), static_cast<size_t>(pchar->ilBU));
}

std::vector<ficcont *> Items(olist *plist)
{
  std::vector<ficcont *> v;
  for (void *p = plist != nullptr ? plist->pitemTop : nullptr; p != nullptr; p = static_cast<olistItem *>(p)->pitemNext)
    v.push_back(static_cast<ficcont *>(p));
  return v;
}

bool StartsWith(const std::string &str, const char *pc)
{
  return str.rfind(pc, 0) == 0;
}

/* A DMS table space of 3 + 4 + 2 containers' worth of stripes over 4 containers. */
db2spcsTablespace Dms(const std::string &strName = "USERSPACE1")
{
  db2spcsTablespace ts;
  ts.sId = 2;
  ts.strName = strName;
  ts.ulFlags = FICCONT_TYPE_DMS | 0x100;
  ts.ulExtentSize = 4;
  ts.ulPrefetch = 8;
  ts.ulPageSize = 512;
  ts.vContainers = {{"cont0", 0, 100, 96, 512},
                    {"/abs/cont1", FICCONT_CONT_HEADEREXTENT, 100, 92, 512},
                    {"data/c2", 0, 100, 96, 512},
                    {"cont3", FICCONT_CONT_HEADEREXTENT, 100, 92, 512}};
  db2spcsAddStripe(&ts, 6, {0, 1, 2});      /* 2 rows on 0, 1, 2 */
  db2spcsAddStripe(&ts, 8, {0, 1, 2, 3});   /* container 3 added */
  db2spcsAddStripe(&ts, 4, {1, 3});         /* 0 and 2 full */
  ts.ulPages = ts.ulUsable = (ts.vStripes.back().ulLastExtent + 1) * ts.ulExtentSize;
  return ts;
}

db2spcsTablespace Sms(const std::string &strName, int16_t sId, std::vector<std::string> vPaths)
{
  db2spcsTablespace ts;
  ts.sId = sId;
  ts.strName = strName;
  ts.ulFlags = FICCONT_TYPE_SMS;
  ts.ulExtentSize = 16;
  ts.ulPageSize = 4096;
  for (const std::string &str : vPaths) ts.vContainers.push_back({str, 0, 0, 0, 4096});
  return ts;
}

class Ficcont : public ::testing::Test {
 protected:
  void SetUp() override { strDb = dir.path + "/db/NODE0000/SQL00001/"; std::filesystem::create_directories(strDb); }
  void TearDown() override { olistDestroy(plist); }

  int ReadLocal(const std::string &strName, uint16_t usCCSID = 850)
  {
    ochar *pchar = Name(strName, usCCSID);
    int rc = ficcontGetLocalPart(&plist, "hosta", "SAMPLE", pchar, strDb.c_str(), 3);
    ocharDestroy(pchar);
    return rc;
  }

  zavtestTempDir dir;
  std::string strDb;
  olist *plist = nullptr;
};

TEST_F(Ficcont, SelectsEveryMatchingRecordAndDecodesIt)
{
  db2spcsTablespace tsFree = Dms();
  tsFree.sId = -1;   /* a free record keeps its old name */
  std::vector<db2spcsTablespace> v = {Sms("SYSCATSPACE", 0, {"SQLT0000.0"}), tsFree, Dms(),
                                      Sms("TEMPSPACE1", 1, {"SQLT0001.0"})};
  ASSERT_TRUE(db2spcsWriteFile(strDb + "SQLSPCS.1", v, 100));
  std::vector<std::string> vMsgs = zavtestMessages([&] { EXPECT_EQ(0, ReadLocal("USERSPACE1")); });
  EXPECT_TRUE(vMsgs.empty());
  std::vector<ficcont *> vItems = Items(plist);
  ASSERT_EQ(1u, vItems.size());
  ficcont *p = vItems[0];
  EXPECT_EQ(3, p->ilPart);
  EXPECT_EQ(0, p->ilRemote);
  EXPECT_EQ("hosta", Text(p->pcharHost));
  EXPECT_EQ(2, p->sTbsId);
  EXPECT_EQ("USERSPACE1", Text(p->pcharTbsName));
  EXPECT_EQ(FICCONT_TYPE_DMS, p->ilType);
  EXPECT_EQ(static_cast<uint32_t>(FICCONT_TYPE_DMS | 0x100), p->ulFlags);
  EXPECT_EQ(4, p->ilExtentSize);
  EXPECT_EQ(8, p->ilPrefetchSize);
  EXPECT_EQ(72, p->ilPages);
  EXPECT_EQ(4, p->ilContainers);
  EXPECT_EQ(3, p->ilMapCbEntries);
  EXPECT_EQ(512, p->ilPageSize);
  EXPECT_EQ(4 * FICCONT_CONT_FIXED + 5 + 10 + 7 + 5, p->ilContListSize);

  struct {
    const char *pcPath;
    int32_t ilHeader;
    int32_t ilUsable;
  } aConts[] = {{"cont0", 1, 96}, {"/abs/cont1", 4, 92}, {"data/c2", 1, 96}, {"cont3", 4, 92}};
  for (int i = 0; i < 4; i++) {
    ficcontCont *pc = ficcontGetCont(p, i);
    ASSERT_NE(nullptr, pc) << i;
    std::string strExpected = aConts[i].pcPath[0] == '/' ? aConts[i].pcPath : strDb + aConts[i].pcPath;
    EXPECT_EQ(strExpected, Text(pc->pcharPath)) << i;
    EXPECT_EQ(850, pc->pcharPath->usCCSID);
    EXPECT_EQ(aConts[i].ilHeader, pc->ilHeaderPages) << i;
    EXPECT_EQ(aConts[i].ilUsable, pc->ilUsablePages) << i;
    EXPECT_EQ(512, pc->ilPageSize) << i;
  }
  EXPECT_EQ(nullptr, ficcontGetCont(p, 4));

  ASSERT_NE(nullptr, p->plistMapCb);
  ASSERT_EQ(3, p->plistMapCb->iItemCount);
  ficcontMapCb *pm = static_cast<ficcontMapCb *>(static_cast<olistItem *>(p->plistMapCb->pitemTop)->pitemNext);
  EXPECT_EQ(13, pm->ilLastExtent);
  EXPECT_EQ(55, pm->ilLastPage);
  EXPECT_EQ(2, pm->ilFirstExtentRef);
  EXPECT_EQ(3, pm->ilLastExtentRef);
  ASSERT_EQ(4, pm->ilContainers);
  EXPECT_EQ(3, pm->pilContIds[3]);
}

TEST_F(Ficcont, NameComparison)
{
  // "ÉTÉ" stored in code page 850; the searched names come in other forms.
  db2spcsTablespace ts = Sms("\x90T\x90", 5, {"c"});
  db2spcsTablespace tsTwice = Sms("USERSPACE1", 6, {"d"});
  ASSERT_TRUE(db2spcsWriteFile(strDb + "SQLSPCS.1", {ts, Sms("USERSPACE1", 2, {"c"}), tsTwice}));
  struct {
    const char *pcName;
    std::string strSearched;
    uint16_t usCCSID;
    size_t ulMatches;
  } aCases[] = {
      {"same bytes", "USERSPACE1", 850, 2},
      {"trailing blanks", "USERSPACE1   ", 850, 2},
      {"prefix only", "USERSPACE", 850, 0},
      {"longer name", "USERSPACE12", 850, 0},
      {"UTF-8 form", "\xc3\x89T\xc3\x89", 1208, 1},
      {"850 form", "\x90T\x90", 850, 1},
  };
  for (const auto &c : aCases) {
    olistDestroy(plist);
    plist = nullptr;
    EXPECT_EQ(0, ReadLocal(c.strSearched, c.usCCSID)) << c.pcName;
    EXPECT_EQ(c.ulMatches, Items(plist).size()) << c.pcName;
  }
}

TEST_F(Ficcont, DamagedMatchingRecordsAreRefused)
{
  using Edit = void (*)(std::vector<unsigned char> &);
  struct {
    const char *pcName;
    Edit fn;
  } aCases[] = {
      {"map entries past the record",
       [](std::vector<unsigned char> &v) { obytePutLE32(&v[FICCONT_OFF_MAPCBCOUNT], 2000); }},
      {"stripe with more containers than the table space",
       [](std::vector<unsigned char> &v) { obytePutLE32(&v[FICCONT_OFF_MAPCB + FICCONT_MAPCB_COUNT], 5); }},
      {"stripe naming an unknown container",
       [](std::vector<unsigned char> &v) { obytePutLE32(&v[FICCONT_OFF_MAPCB + FICCONT_MAPCB_IDS + 4], 4); }},
      {"container count past the record",
       [](std::vector<unsigned char> &v) {
         obytePutLE32(&v[FICCONT_OFF_CONTAINERS], 1000);
         obytePutLE32(&v[FICCONT_OFF_MAPCBCOUNT], 0);
       }},
      {"unterminated container path",
       [](std::vector<unsigned char> &v) {
         obytePutLE32(&v[FICCONT_OFF_CONTAINERS], 1);
         obytePutLE32(&v[FICCONT_OFF_MAPCBCOUNT], 0);
         size_t ulPath = FICCONT_OFF_CONTLIST + FICCONT_CONT_PATH;
         std::memset(&v[ulPath], 'x', v.size() - ulPath);
       }},
      {"neither SMS nor DMS", [](std::vector<unsigned char> &v) { obytePutLE32(&v[FICCONT_OFF_FLAGS], 3); }},
      {"extent size 0", [](std::vector<unsigned char> &v) { obytePutLE32(&v[FICCONT_OFF_EXTENTSIZE], 0); }},
      {"page size beyond 31 bits",
       [](std::vector<unsigned char> &v) { obytePutLE32(&v[FICCONT_OFF_PAGESIZE], 0x80000000u); }},
      {"reference extents running backwards",
       [](std::vector<unsigned char> &v) { obytePutLE32(&v[FICCONT_OFF_MAPCB + FICCONT_MAPCB_FIRSTREF], 9); }},
  };
  for (const auto &c : aCases) {
    std::vector<unsigned char> vGood = db2spcsRecord(Sms("SYSCATSPACE", 0, {"a"}));
    std::vector<unsigned char> vBad = db2spcsRecord(Dms());
    c.fn(vBad);
    // the same damage in a record of another table space is never looked at
    std::vector<unsigned char> vOther = db2spcsRecord(Dms("OTHERSPACE"));
    c.fn(vOther);
    ASSERT_TRUE(db2spcsWriteRecords(strDb + "SQLSPCS.1", {vGood, vOther, vBad}));
    olistDestroy(plist);
    plist = nullptr;
    int rc = 0;
    std::vector<std::string> vMsgs = zavtestMessages([&] { rc = ReadLocal("USERSPACE1"); });
    EXPECT_EQ(FICCONT_RC_DAMAGED, rc) << c.pcName;
    EXPECT_TRUE(Items(plist).empty()) << c.pcName;
    ASSERT_EQ(1u, vMsgs.size()) << c.pcName;
    EXPECT_TRUE(StartsWith(vMsgs[0], "ZORU338E")) << vMsgs[0];
    EXPECT_NE(std::string::npos, vMsgs[0].find("record 2 of")) << vMsgs[0];
  }
  // the decoder alone, without database path: no container list, no check of it
  std::vector<unsigned char> v = db2spcsRecord(Dms());
  obytePutLE32(&v[FICCONT_OFF_CONTLIST + FICCONT_CONT_FLAGS], 0);
  ficcont *p = ficcontCreate();
  ochar *pchar = Name("USERSPACE1");
  int iFound = -1;
  EXPECT_EQ(0, ficcontGetTBSSegment(v.data(), "h", pchar, nullptr, 0, p, &iFound));
  EXPECT_EQ(1, iFound);
  EXPECT_EQ(nullptr, p->plistCont);
  EXPECT_NE(nullptr, p->plistMapCb);
  ocharDestroy(pchar);
  ficcontDestroy(p);
}

TEST_F(Ficcont, AccessFailures)
{
  // no control file: nothing can be said of the partition; its caller names it
  std::vector<std::string> vMsgs = zavtestMessages([&] { EXPECT_EQ(FICCONT_RC_MISSING, ReadLocal("USERSPACE1")); });
  EXPECT_TRUE(vMsgs.empty());
  ASSERT_NE(nullptr, plist);
  EXPECT_EQ(0, plist->iItemCount);
  // a file shorter than one record holds no table space
  ASSERT_TRUE(db2spcsWriteRecords(strDb + "SQLSPCS.1", {}, 65535));
  EXPECT_EQ(0, ReadLocal("USERSPACE1"));
  EXPECT_EQ(0, plist->iItemCount);

  // a control file that cannot be resolved, and one that cannot be read
  fs::remove(strDb + "SQLSPCS.1");
  fs::create_symlink(strDb + "SQLSPCS.1", strDb + "SQLSPCS.1");
  int rc = 0;
  vMsgs = zavtestMessages([&] { rc = ReadLocal("USERSPACE1"); });
  EXPECT_EQ(FICCONT_RC_ACCESS, rc);
  ASSERT_EQ(1u, vMsgs.size());
  EXPECT_EQ("ZORU338E IMPOSSIBLE TO ACCESS TO A LOCAL CONTAINERS FILE OF DATABASE SAMPLE (" +
                std::string(std::strerror(ELOOP)) + ")\n",
            vMsgs[0]);
  fs::remove(strDb + "SQLSPCS.1");
  fs::create_directory(strDb + "SQLSPCS.1");
  vMsgs = zavtestMessages([&] { rc = ReadLocal("USERSPACE1"); });
  fs::remove(strDb + "SQLSPCS.1");
  EXPECT_EQ(0, rc);   /* a directory has no records */
  EXPECT_EQ(0, plist->iItemCount);

  // Permission failures: as root they are checked in a child that has given its privileges up.
  ASSERT_TRUE(db2spcsWriteFile(strDb + "SQLSPCS.1", {Dms()}));
  auto fnCheck = [&]() -> std::string {
    std::string strFailures;
    // present but unreadable: reported, and not taken for an empty partition
    chmod((strDb + "SQLSPCS.1").c_str(), 0);
    int rcOpen = 0;
    std::vector<std::string> v = zavtestMessages([&] { rcOpen = ReadLocal("USERSPACE1"); });
    if (rcOpen != FICCONT_RC_ACCESS) strFailures += "unreadable file: rc " + std::to_string(rcOpen) + "; ";
    if (v.size() != 1 || !StartsWith(v[0], "ZORU347E")) strFailures += "unreadable file: no ZORU347E; ";
    // a directory that cannot be searched
    chmod(strDb.c_str(), 0);
    int rcDir = 0;
    v = zavtestMessages([&] { rcDir = ReadLocal("USERSPACE1"); });
    if (rcDir != FICCONT_RC_ACCESS) strFailures += "unsearchable directory: rc " + std::to_string(rcDir) + "; ";
    if (v.size() != 1 || v[0] != "ZORU338E IMPOSSIBLE TO ACCESS TO A LOCAL CONTAINERS FILE OF DATABASE SAMPLE (" +
                                     std::string(std::strerror(EACCES)) + ")\n")
      strFailures += "unsearchable directory: message " + (v.empty() ? std::string("none") : v[0]) + "; ";
    if (plist->iItemCount != 0) strFailures += "records kept; ";
    return strFailures;
  };
  std::string strFailures;
  if (geteuid() != 0) {
    strFailures = fnCheck();
  } else {
    for (std::string str = strDb; str.size() > dir.path.size(); str = fs::path(str).parent_path().string())
      chmod(str.c_str(), 0755);
    chmod(dir.path.c_str(), 0755);
    ASSERT_EQ(0, chown(strDb.c_str(), 65534, 65534));
    ASSERT_EQ(0, chown((strDb + "SQLSPCS.1").c_str(), 65534, 65534));
    int aiPipe[2];
    ASSERT_EQ(0, pipe(aiPipe));
    pid_t pid = fork();
    if (pid == 0) {
      close(aiPipe[0]);
      std::string str = setgid(65534) == 0 && setuid(65534) == 0 ? fnCheck() : "cannot become nobody";
      if (write(aiPipe[1], str.data(), str.size()) < 0) _exit(2);
      _exit(0);
    }
    close(aiPipe[1]);
    char ac[512];
    ssize_t l;
    while ((l = read(aiPipe[0], ac, sizeof ac)) > 0) strFailures.append(ac, static_cast<size_t>(l));
    close(aiPipe[0]);
    int iStatus = 0;
    waitpid(pid, &iStatus, 0);
    EXPECT_TRUE(WIFEXITED(iStatus) && WEXITSTATUS(iStatus) == 0);
  }
  chmod(strDb.c_str(), 0755);
  EXPECT_EQ("", strFailures);
}

TEST_F(Ficcont, CopiesDumpsAndPartitionItems)
{
  ASSERT_TRUE(db2spcsWriteFile(strDb + "SQLSPCS.1", {Dms(), Sms("USERSPACE1", 7, {"s0", "s1"})}));
  ASSERT_EQ(0, ReadLocal("USERSPACE1"));
  std::vector<ficcont *> vItems = Items(plist);
  ASSERT_EQ(2u, vItems.size());

  std::string strDump = zavtestCapture([&](FILE *pf) { olistPrint(plist, pf, 0, 2); });
  std::string strSms = zavtestCapture([&](FILE *pf) { _ficcontPrintContList(plist, vItems[1], pf, 0); });
  EXPECT_EQ(">>>>>- PARTITION ----------------------------\n"
            "NUMNODE               = 3\n"
            "HOSTNAME              = hosta\n"
            "TBSPACEID             = 7\n"
            "TBSNAME               = USERSPACE1\n"
            "TBS TYPE              = 1\n"
            "EXTENTSIZE            = 16\n"
            "PREFETCHSIZE          = 32\n"
            "NB PAGE IN TBS        = 0\n"
            "NB PAGE USABLE IN TBS = 0\n"
            "NB CONT IN TBS        = 2\n"
            "CONT LIST SIZE        = 110\n"
            "NB MAP CB ENTRY       = 0\n"
            "PAGESIZE              = 4096\n"
            ">>>>>- CONTAINERS ----------------------------\n"
            "TYPE                  = 0\n"
            "NB PAGE HEADER        = 1\n"
            "NB PAGE IN TBS        = 0\n"
            "NB PAGE USABLE IN TBS = 0\n"
            "PAGESIZE              = 4096\n"
            "CONTAINER PATH        = " + strDb + "s0\n"
            ">>>>>- CONTAINERS ----------------------------\n"
            "TYPE                  = 0\n"
            "NB PAGE HEADER        = 1\n"
            "NB PAGE IN TBS        = 0\n"
            "NB PAGE USABLE IN TBS = 0\n"
            "PAGESIZE              = 4096\n"
            "CONTAINER PATH        = " + strDb + "s1\n"
            "PAS DE MAP CB POUR CETTE PARTITION\n",
            strSms);
  EXPECT_NE(std::string::npos, strDump.find(">>>>>- MAP CB ----------------------------\n"
                                            "LAST PAGE IN STRIPE      = 23\n"
                                            "LAST EXTENT IN STRIPE    = 5\n"
                                            "FIRST EXTENT ON REF CONT = 0\n"
                                            "LAST EXTENT ON REF CONT  = 1\n"
                                            "NB CONT IN STRIPE        = 3\n"
                                            "\tCONT ID FOR THIS STRIPE = 0\n"));

  // a copy is deep: it survives the list and dumps the same
  olist *plistCopy = olistClone(plist);
  ASSERT_NE(nullptr, plistCopy);
  olistDestroy(plist);
  plist = nullptr;
  EXPECT_EQ(strDump, zavtestCapture([&](FILE *pf) {
              for (ficcont *p : Items(plistCopy)) _ficcontPrintContList(plistCopy, p, pf, 0);
            }));

  // partition items copy and free their records through the installed procedures
  partSetFiccontProcs(ficcontClone, ficcontDestroy);
  ficcont *pficcont = ficcontClone(Items(plistCopy)[0]);
  part *ppart = partCreate(3, 10, nullptr, pficcont, nullptr, PART_OWN_FICCONT);
  ASSERT_NE(nullptr, ppart);
  part *pcopy = partClone(ppart);
  ASSERT_NE(nullptr, pcopy);
  EXPECT_NE(ppart->pficcont, pcopy->pficcont);
  EXPECT_NE(ppart->pficcont->plistCont, pcopy->pficcont->plistCont);
  partDestroy(ppart);
  EXPECT_EQ(strDb + "cont0", Text(ficcontGetCont(pcopy->pficcont, 0)->pcharPath));
  partDestroy(pcopy);
  olistDestroy(plistCopy);
  EXPECT_EQ(nullptr, ficcontClone(nullptr));
  ficcontDestroy(nullptr);
}

/* Reads page iPage of a file and returns its stamp. */
uint32_t Stamp(const std::string &strPath, int64_t ilPage, int32_t ilPageSize)
{
  int fd = open(strPath.c_str(), O_RDONLY);
  unsigned char auc[4] = {0xEE, 0xEE, 0xEE, 0xEE};
  if (fd >= 0) {
    if (pread(fd, auc, 4, ilPage * ilPageSize) != 4) std::memset(auc, 0xEE, 4);
    close(fd);
  }
  return obyteGetLE32(auc);
}

TEST_F(Ficcont, DmsPagesLandWhereTheStripesPutThem)
{
  db2spcsTablespace ts = Dms();
  ts.vContainers[1].strPath = "cont1";
  std::filesystem::create_directories(strDb + "data");
  ASSERT_TRUE(db2spcsWriteFile(strDb + "SQLSPCS.1", {ts}));
  ASSERT_TRUE(db2spcsWriteDmsContainers(ts, strDb));
  ASSERT_EQ(0, ReadLocal("USERSPACE1"));
  ficcont *p = Items(plist).at(0);
  ficdmsConf conf{0, p->ilExtentSize, p->ilPageSize, p->ilMapCbEntries, p->ilContainers, p->plistMapCb, p->plistCont,
                  {}};
  for (int32_t ilPage = 0; ilPage < p->ilPages; ilPage++) {
    int32_t ilCont = -1;
    int32_t ilInCont = ficdmsIdentifyPage(&conf, 0, ilPage, &ilCont);
    ASSERT_GE(ilCont, 0) << ilPage;
    ASSERT_EQ(static_cast<uint32_t>(ilPage), Stamp(Text(ficcontGetCont(p, ilCont)->pcharPath), ilInCont, 512))
        << "page " << ilPage << " -> container " << ilCont << " page " << ilInCont;
    // the extent form agrees
    int32_t ilC = -1, ilE = -1;
    ASSERT_EQ(0, ficcontLogical2Physical(p, 99, ilPage / 4, &ilC, &ilE));
    EXPECT_EQ(ilCont, ilC);
    EXPECT_EQ(ilInCont, ficcontGetCont(p, ilC)->ilHeaderPages + ilE * 4 + ilPage % 4);
  }
  // pages without a mapping
  for (int32_t ilPage : {-1, p->ilPages, INT32_MAX}) {
    int32_t ilCont = 0;
    EXPECT_EQ(-1, ficdmsIdentifyPage(&conf, 0, ilPage, &ilCont)) << ilPage;
    EXPECT_EQ(-1, ilCont);
  }
  ficdmsConf confZero = conf;
  confZero.ilExtentSize = 0;
  int32_t ilCont = 0;
  EXPECT_EQ(-1, ficdmsIdentifyPage(&confZero, 0, 5, &ilCont));
}

TEST(FicdmsMapping, HandMadeStripes)
{
  // one stripe of three containers, one-page headers, extent size 32
  db2spcsTablespace ts;
  ts.ulFlags = FICCONT_TYPE_DMS;
  ts.strName = "T";
  ts.ulExtentSize = 32;
  ts.vContainers = {{"/a"}, {"/b"}, {"/c"}};
  db2spcsAddStripe(&ts, 30, {0, 1, 2});
  // second stripe with container 1 again: the first stripe put 10 extents on each
  db2spcsAddStripe(&ts, 4, {1, 2});
  std::vector<unsigned char> v = db2spcsRecord(ts);
  ficcont *p = ficcontCreate();
  ochar *pchar = Name("T");
  int iFound = 0;
  ASSERT_EQ(0, ficcontGetTBSSegment(v.data(), "h", pchar, "/db/", 0, p, &iFound));
  ASSERT_EQ(1, iFound);
  ficdmsConf conf{0, 32, 4096, 2, 3, p->plistMapCb, p->plistCont, {}};
  struct {
    int32_t ilPage, ilCont, ilInCont;
  } aCases[] = {
      {100, 0, 37},                  /* extent 3, row 1 */
      {0, 0, 1},
      {31 * 32 + 5, 2, 1 + 10 * 32 + 5},  /* extent 31: second stripe, container 2, row 0 + 10 */
      {30 * 32, 1, 1 + 10 * 32},     /* extent 30: container 1, moved 10 extents further */
      {32 * 32, 1, 1 + 11 * 32},     /* extent 32 */
      {34 * 32, -1, -1},             /* beyond the last stripe */
  };
  for (const auto &c : aCases) {
    int32_t ilCont = 99;
    EXPECT_EQ(c.ilInCont, ficdmsIdentifyPage(&conf, 0, c.ilPage, &ilCont)) << c.ilPage;
    EXPECT_EQ(c.ilCont, ilCont) << c.ilPage;
  }
  ocharDestroy(pchar);
  ficcontDestroy(p);
}

TEST_F(Ficcont, SmsPagesLandInTheRightFiles)
{
  db2spcsTablespace ts = Sms("SMSSPACE", 4, {"s0", "s1", "s2", "s3"});
  for (const auto &c : ts.vContainers) std::filesystem::create_directories(strDb + c.strPath);
  ASSERT_TRUE(db2spcsWriteFile(strDb + "SQLSPCS.1", {ts}));
  const int iFileId = 5;
  ASSERT_TRUE(db2spcsWriteSmsTable(ts, strDb, iFileId, FICSMS_EXT_DAT, 150));
  ASSERT_EQ(0, ReadLocal("SMSSPACE"));
  ficcont *p = Items(plist).at(0);
  ficsmsConf conf{0, p->ilExtentSize, p->ilContainers};
  int32_t ilCont = -1;
  EXPECT_EQ(22, ficsmsIdentifyPage(&conf, 5, 70, &ilCont));   /* extent 4 */
  EXPECT_EQ(1, ilCont);
  for (int32_t ilPage = 0; ilPage < 150; ilPage++) {
    int32_t ilInFile = ficsmsIdentifyPage(&conf, iFileId, ilPage, &ilCont);
    char acName[1024];
    std::snprintf(acName, sizeof acName, FICSMS_FILE_FORMAT, Text(ficcontGetCont(p, ilCont)->pcharPath).c_str(),
                  iFileId, FICSMS_EXT_DAT);
    ASSERT_EQ(static_cast<uint32_t>(ilPage), Stamp(acName, ilInFile, 4096)) << ilPage;
    int32_t ilC = -1, ilE = -1;
    ASSERT_EQ(0, ficcontLogical2Physical(p, iFileId, ilPage / 16, &ilC, &ilE));
    EXPECT_EQ(ilCont, ilC);
    EXPECT_EQ(ilInFile / 16, ilE);
  }
  struct {
    int32_t ilExtent, ilContainers, ilFileId;
  } aBad[] = {{16, 0, 5}, {0, 4, 5}, {16, 4, -1}};
  for (const auto &c : aBad) {
    ficsmsConf confBad{0, c.ilExtent, c.ilContainers};
    EXPECT_EQ(-1, ficsmsIdentifyPage(&confBad, c.ilFileId, 3, &ilCont));
    EXPECT_EQ(-1, ilCont);
  }
  EXPECT_EQ(-1, ficsmsIdentifyPage(&conf, 5, -1, &ilCont));
}

}  // namespace
