/*
** Long-field and LOB child processes answering over real pipes in forked
** children: SMS files over two containers, DMS objects through their
** extent lists, inline LOB chunks, LOB files and MAXROWS, damaged
** descriptors, the stop protocol, and the record decoder of the reader
** talking to the children as it does in a run.
*/
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "common/obyte.h"
#include "common/ochar.h"
#include "storage/ficcont.h"
#include "storage/ficdata.h"
#include "storage/ficlvar.h"
#include "storage/ficsms.h"
#include "tests/storage/bkimage.h"
#include "tests/zavtest.h"
#include "tools/db2backup.h"
#include "tools/db2pages.h"

namespace {

typedef std::vector<unsigned char> Bytes;
const int32_t P = 4096;

Bytes Pattern(size_t ulSize, unsigned uSeed)
{
  Bytes v(ulSize);
  for (size_t i = 0; i < ulSize; i++) v[i] = static_cast<unsigned char>((i % 251) ^ (i >> 10) ^ uSeed);
  return v;
}

Bytes Slice(const Bytes &v, size_t ulFrom, size_t ulLength)
{
  return Bytes(v.begin() + static_cast<long>(ulFrom), v.begin() + static_cast<long>(ulFrom + ulLength));
}

Bytes Cat(std::initializer_list<Bytes> parts)
{
  Bytes v;
  for (const auto &p : parts) v.insert(v.end(), p.begin(), p.end());
  return v;
}

Bytes LobDesc(int s, int t, int c, int32_t ilLength, const std::vector<int32_t> &vSlots)
{
  Bytes v(56 + 4 * (vSlots.size() > 1 ? vSlots.size() : 1), 0);
  v[2] = static_cast<unsigned char>(s);
  v[20] = static_cast<unsigned char>(t);
  v[21] = static_cast<unsigned char>(c);
  obytePutLE32(v.data() + 8, static_cast<uint32_t>(ilLength));
  for (size_t i = 0; i < vSlots.size(); i++) obytePutLE32(v.data() + 56 + 4 * i, static_cast<uint32_t>(vSlots[i]));
  return v;
}

void Put(int iFd, const void *p, size_t n) { ASSERT_EQ(write(iFd, p, n), static_cast<ssize_t>(n)); }

void PutInt(int iFd, int32_t il) { Put(iFd, &il, 4); }

Bytes Get(int iFd, size_t n)
{
  Bytes v(n);
  size_t ulDone = 0;
  while (ulDone < n) {
    ssize_t k = read(iFd, v.data() + ulDone, n - ulDone);
    if (k <= 0) break;
    ulDone += static_cast<size_t>(k);
  }
  v.resize(ulDone);
  return v;
}

/* An inline LOB answer of ilTotal bytes: the chunks' data, each chunk checked. */
Bytes GetChunks(int iFd, int32_t ilTotal)
{
  Bytes v;
  while (static_cast<int32_t>(v.size()) < ilTotal) {
    Bytes w = Get(iFd, 4);
    if (w.size() != 4) break;
    int32_t c;
    std::memcpy(&c, w.data(), 4);
    EXPECT_GT(c, 0);
    EXPECT_LE(c, P);
    if (c <= 0 || c > P) break;
    Bytes d = Get(iFd, static_cast<size_t>(c));
    v.insert(v.end(), d.begin(), d.end());
  }
  return v;
}

/* True when nothing can be read from the pipe now. */
bool Quiet(int iFd)
{
  pollfd pfd{iFd, POLLIN, 0};
  return poll(&pfd, 1, 100) == 0;
}

/*
** An SMS long table space of two containers, extent size 2, holding the
** object (table file id 5) in its ".LF" and ".LB" files: table page p goes
** to container (5 + p / 2) mod 2.
*/
struct SmsSpace {
  zavtestTempDir dir;
  ficcont *pcont = ficcontCreate();
  int aiFd[2] = {-1, -1};
  ficlvarTableInfo info{3, 5, P, 0};

  explicit SmsSpace(const Bytes &vObject)
  {
    pcont->ilType = FICCONT_TYPE_SMS;
    pcont->ilExtentSize = 2;
    pcont->ilContainers = 2;
    pcont->ilPageSize = P;
    for (int i = 0; i < 2; i++) {
      std::string strPath = dir.file(i == 0 ? "c0" : "c1");
      aiFd[i] = open(strPath.c_str(), O_CREAT | O_TRUNC | O_RDWR, 0644);
    }
    ficsmsConf conf{0, 2, 2};
    for (int32_t p = 0; p * P < static_cast<int32_t>(vObject.size()); p++) {
      int32_t ilCont = -1;
      int32_t ilFilePage = ficsmsIdentifyPage(&conf, 5, p, &ilCont);
      EXPECT_EQ(pwrite(aiFd[ilCont], vObject.data() + p * P, P, static_cast<off_t>(ilFilePage) * P), P);
    }
  }
  ~SmsSpace()
  {
    for (int iFd : aiFd) close(iFd);
    ficcontDestroy(pcont);
  }
};

/* One child with its pipes. */
struct Child {
  int aiReq[2] = {-1, -1}, aiAns[2] = {-1, -1};
  ficlvar *p = nullptr;
  pid_t pid = -1;
  Child(ficdata *pfd, int *piFd, const ficlvarTableInfo &info, ficcont *pcont, ficlvarMainProc pfn, bool boDMS = false)
  {
    p = ficlvarCreate(pfd, piFd, aiReq, aiAns, &info, pcont, pfn);
    pid = boDMS ? ficlvarLaunchChildDMS(p) : ficlvarLaunchChildSMS(p);
    EXPECT_GT(pid, 0);
  }
  void lf(int32_t L, int32_t Pos)
  {
    PutInt(aiReq[1], L);    /* two separate writes, as the reader sends them */
    PutInt(aiReq[1], Pos);
  }
  void lob(const Bytes &vDesc)
  {
    PutInt(aiReq[1], static_cast<int32_t>(vDesc.size()));
    Put(aiReq[1], vDesc.data(), vDesc.size());
  }
  /* Stops the child; returns its exit status. */
  int stop()
  {
    int iStatus = ficlvarKillChild(pid, aiReq, aiAns);
    pid = -1;
    return iStatus;
  }
  ~Child()
  {
    if (pid > 0) stop();
    ficlvarDestroy(p);   /* the reader keeps it for the run; the test frees it */
  }
};

class FiclvarTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    signal(SIGPIPE, SIG_IGN);
    alarm(60);   /* a child that does not answer fails the test instead of hanging it */
  }
  void TearDown() override { alarm(0); }
};

bool ExitedZero(int iStatus) { return iStatus >= 0 && WIFEXITED(iStatus) && WEXITSTATUS(iStatus) == 0; }

bool ExitedFailed(int iStatus)
{
  return iStatus >= 0 && WIFEXITED(iStatus) && WEXITSTATUS(iStatus) == FICLVAR_EXIT_FAILED;
}

}  // namespace

TEST_F(FiclvarTest, LongFieldChildAnswersAcrossPagesAndContainers)
{
  Bytes vLF = Pattern(8 * P, 0x21);
  SmsSpace sp(vLF);
  ficdata fd{};
  Child child(&fd, sp.aiFd, sp.info, sp.pcont, ficlvarLFReadSMS);
  struct Case {
    const char *pcName;
    int32_t L, Pos;
    Bytes vExpected;
  } aCases[] = {
      {"last 512 bytes of page 0, then 488 of page 1", 1000, 7, Slice(vLF, 3584, 1000)},
      {"page 1 from 2048 into the next extent, in the other container", 9000, 12, Slice(vLF, 6144, 9000)},
      {"empty field", 0, 3, {}},
      {"a whole page", 4096, 8, Slice(vLF, 4096, 4096)},
  };
  for (const Case &c : aCases) {
    SCOPED_TRACE(c.pcName);
    child.lf(c.L, c.Pos);
    EXPECT_EQ(Get(child.aiAns[0], c.vExpected.size()), c.vExpected);
  }
  EXPECT_TRUE(Quiet(child.aiAns[0]));
  EXPECT_TRUE(ExitedZero(child.stop()));
}

TEST_F(FiclvarTest, LobChildAnswersInlineInChunksOfAtMostAPage)
{
  Bytes vLOB = Pattern(16 * P, 0x47);
  SmsSpace sp(vLOB);
  ficdata fd{};
  Child child(&fd, sp.aiFd, sp.info, sp.pcont, ficlvarLOBReadSMS);
  struct Case {
    const char *pcName;
    Bytes vDesc;
    Bytes vExpected;
  } aCases[] = {
      {"buddy slots 1K, 2K, 6928 of 8K", LobDesc(3, 0, 0, 10000, {20, 2, 8}),
       Cat({Slice(vLOB, 20 * 1024, 1024), Slice(vLOB, 2 * 1024, 2048), Slice(vLOB, 8 * 1024, 6928)})},
      {"one buddy slot and a 1K tail cut to 476", LobDesc(2, 1, 0, 1500, {10, 40}),
       Cat({Slice(vLOB, 10 * 1024, 1024), Slice(vLOB, 40 * 1024, 476)})},
      {"40000 bytes: 32700 sent", LobDesc(1, 0, 6, 40000, {0}), Slice(vLOB, 0, 32700)},
      {"empty LOB: no chunk", LobDesc(1, 0, 0, 0, {-1}), {}},
      {"the next LOB is whole", LobDesc(1, 0, 2, 4000, {33}), Slice(vLOB, 33 * 1024, 4000)},
  };
  for (const Case &c : aCases) {
    SCOPED_TRACE(c.pcName);
    child.lob(c.vDesc);
    EXPECT_EQ(GetChunks(child.aiAns[0], static_cast<int32_t>(c.vExpected.size())), c.vExpected);
  }
  EXPECT_TRUE(Quiet(child.aiAns[0]));
  EXPECT_TRUE(ExitedZero(child.stop()));
}

/* The text a LOB child answers for a LOB written to a LOB file: i32 length, then the bytes. */
std::string GetText(int iFd)
{
  Bytes vLength = Get(iFd, 4);
  if (vLength.size() != 4) return "<no answer>";
  int32_t ilText = 0;
  std::memcpy(&ilText, vLength.data(), 4);
  if (ilText < 0 || ilText > FICDATA_LOB_TEXT_MAX) return "<length " + std::to_string(ilText) + ">";
  Bytes v = Get(iFd, static_cast<size_t>(ilText));
  return std::string(v.begin(), v.end());
}

TEST_F(FiclvarTest, EveryLobAskedForGetsAFileOfItsOwnAndItsNameIsAnswered)
{
  Bytes vLOB = Pattern(16 * P, 0x47);
  SmsSpace sp(vLOB);
  zavtestTempDir dirLob;
  ochar *pcharFile = ocharCreate(0, 850);
  ocharAppendFixed(pcharFile, "lob.dat", 7);
  ochar *pcharDir = ocharCreate(0, 850);
  ocharAppendFixed(pcharDir, dirLob.path.data(), static_cast<int32_t>(dirLob.path.size()));
  ficdataSampling sampling{0, 0, 0, 0, 0, 2};
  ficdata fd{};
  fd.ilPart = 0;
  fd.psampling = &sampling;
  fd.pcharLobFile = pcharFile;
  fd.pcharLobDir = pcharDir;
  {
    Child child(&fd, sp.aiFd, sp.info, sp.pcont, ficlvarLOBReadSMS);
    child.lob(LobDesc(1, 0, 4, 10000, {12}));
    EXPECT_EQ(GetText(child.aiAns[0]), dirLob.file("lob_0_12.dat"));
    child.lob(LobDesc(2, 1, 0, 1500, {30, 40}));
    EXPECT_EQ(GetText(child.aiAns[0]), dirLob.file("lob_0_30.dat"));
    /* MAXROWS 2 counts rows, not LOBs: a row with two LOBs names two files */
    child.lob(LobDesc(1, 0, 0, 100, {50}));
    EXPECT_EQ(GetText(child.aiAns[0]), dirLob.file("lob_0_50.dat"));
    /* two empty LOBs whose slot words say the same, and a LOB whose slot was taken: files of their own */
    child.lob(LobDesc(1, 0, 0, 0, {97}));
    EXPECT_EQ(GetText(child.aiAns[0]), dirLob.file("lob_0_2147483647.dat"));
    child.lob(LobDesc(1, 0, 0, 0, {97}));
    EXPECT_EQ(GetText(child.aiAns[0]), dirLob.file("lob_0_2147483646.dat"));
    child.lob(LobDesc(1, 0, 0, 10, {50}));
    EXPECT_EQ(GetText(child.aiAns[0]), dirLob.file("lob_0_2147483645.dat"));
    /* stop by hand so that the answer pipe can still be read: it ends with no more byte */
    PutInt(child.aiReq[1], -1);
    PutInt(child.aiReq[1], -1);
    close(child.aiReq[1]);
    int iStatus = -1;
    ASSERT_EQ(waitpid(child.pid, &iStatus, 0), child.pid);
    child.pid = -1;
    EXPECT_TRUE(ExitedZero(iStatus));
    EXPECT_EQ(Get(child.aiAns[0], 1).size(), 0u);
    close(child.aiAns[0]);
  }
  EXPECT_EQ(zavtestReadFile(dirLob.file("lob_0_12.dat")), Slice(vLOB, 12 * 1024, 10000));
  EXPECT_EQ(zavtestReadFile(dirLob.file("lob_0_30.dat")),
            Cat({Slice(vLOB, 30 * 1024, 1024), Slice(vLOB, 40 * 1024, 476)}));
  EXPECT_EQ(zavtestReadFile(dirLob.file("lob_0_50.dat")), Slice(vLOB, 50 * 1024, 100));
  EXPECT_TRUE(std::filesystem::exists(dirLob.file("lob_0_2147483647.dat")));
  EXPECT_TRUE(zavtestReadFile(dirLob.file("lob_0_2147483647.dat")).empty());
  EXPECT_TRUE(zavtestReadFile(dirLob.file("lob_0_2147483646.dat")).empty());
  EXPECT_EQ(zavtestReadFile(dirLob.file("lob_0_2147483645.dat")), Slice(vLOB, 50 * 1024, 10));
  ocharDestroy(pcharFile);
  ocharDestroy(pcharDir);
}

/*
** A value that cannot be served whole is still answered in full (zeros in
** place of what could not be read), so the pipes stay in step and the
** next value is whole; the child then ends with FICLVAR_EXIT_FAILED.
*/
TEST_F(FiclvarTest, AValueNotServedWholeIsAnsweredInStepAndFailsTheChild)
{
  Bytes vObject = Pattern(16 * P, 0x47);
  SmsSpace sp(vObject);
  ficdata fd{};
  struct Case {
    const char *pcName;
    bool boLF;
    int32_t L, Pos;   /* long-field request */
    Bytes vDesc;      /* LOB request */
    Bytes vExpected;
  } aCases[] = {
      {"LF past the end of the files", true, 100, 16 * 64, {}, Bytes(100, 0)},
      {"LF at a negative position", true, 600, -8, {}, Bytes(600, 0)},
      {"LF from a readable page into an unreadable one", true, 1000, 16 * 8 - 1,
       {}, Cat({Slice(vObject, 16 * P - 512, 512), Bytes(488, 0)})},
      {"LOB whose segments end early", false, 0, 0, LobDesc(1, 0, 0, 3000, {5}),
       Cat({Slice(vObject, 5 * 1024, 1024), Bytes(1976, 0)})},
      {"LOB without a slot", false, 0, 0, LobDesc(0, 0, 0, 700, {5}), Bytes(700, 0)},
      {"LOB on a page past the end of the files", false, 0, 0, LobDesc(1, 0, 0, 900, {16 * 4 + 2}), Bytes(900, 0)},
  };
  for (const Case &c : aCases) {
    SCOPED_TRACE(c.pcName);
    Child child(&fd, sp.aiFd, sp.info, sp.pcont, c.boLF ? ficlvarLFReadSMS : ficlvarLOBReadSMS);
    if (c.boLF) {
      child.lf(c.L, c.Pos);
      EXPECT_EQ(Get(child.aiAns[0], c.vExpected.size()), c.vExpected);
      child.lf(4096, 8);
      EXPECT_EQ(Get(child.aiAns[0], 4096), Slice(vObject, 4096, 4096));
    } else {
      child.lob(c.vDesc);
      EXPECT_EQ(GetChunks(child.aiAns[0], static_cast<int32_t>(c.vExpected.size())), c.vExpected);
      child.lob(LobDesc(1, 0, 2, 4000, {33}));
      EXPECT_EQ(GetChunks(child.aiAns[0], 4000), Slice(vObject, 33 * 1024, 4000));
    }
    EXPECT_TRUE(Quiet(child.aiAns[0]));
    EXPECT_TRUE(ExitedFailed(child.stop()));
  }
}

/*
** A LOB file that cannot be created or written whole -- its directory is
** below a regular file, the device is full, its descriptor is refused, a
** page of the LOB cannot be read -- fails the child, and no LOB file is
** written after it (the requests are still read to the stop words).
*/
TEST_F(FiclvarTest, TheFirstLobFileNotWrittenWholeFailsTheChildAndEndsTheLobFiles)
{
  Bytes vLOB = Pattern(16 * P, 0x47);
  SmsSpace sp(vLOB);
  struct Case {
    const char *pcName;
    const char *pcSubDir;   /* LOB directory below the case's directory */
    const char *pcFull;     /* LOB file name made a link to /dev/full, or NULL */
    Bytes vDesc;            /* the first LOB asked for */
    const char *pcFirst;    /* its file, NULL when it cannot exist */
  } aCases[] = {
      {"directory below a regular file", "plain/sub", nullptr, LobDesc(1, 0, 4, 10000, {12}), nullptr},
      {"no space left on the device", "", "lob_0_12.dat", LobDesc(1, 0, 4, 10000, {12}), nullptr},
      {"segments end early", "", nullptr, LobDesc(1, 0, 0, 3000, {5}), "lob_0_5.dat"},
      {"page past the end of the files", "", nullptr, LobDesc(1, 0, 0, 900, {16 * 4 + 2}), "lob_0_66.dat"},
  };
  for (const Case &c : aCases) {
    SCOPED_TRACE(c.pcName);
    zavtestTempDir dirCase;
    std::ofstream(dirCase.file("plain")) << "a regular file";
    if (c.pcFull != nullptr) {
      ASSERT_EQ(symlink("/dev/full", dirCase.file(c.pcFull).c_str()), 0);
    }
    std::string strDir = dirCase.path + (c.pcSubDir[0] != '\0' ? std::string("/") + c.pcSubDir : std::string());
    ochar *pcharFile = ocharCreate(0, 850);
    ocharAppendFixed(pcharFile, "lob.dat", 7);
    ochar *pcharDir = ocharCreate(0, 850);
    ocharAppendFixed(pcharDir, strDir.data(), static_cast<int32_t>(strDir.size()));
    ficdata fd{};
    fd.ilPart = 0;
    fd.pcharLobFile = pcharFile;
    fd.pcharLobDir = pcharDir;
    {
      Child child(&fd, sp.aiFd, sp.info, sp.pcont, ficlvarLOBReadSMS);
      child.lob(c.vDesc);
      child.lob(LobDesc(2, 1, 0, 1500, {30, 40}));   /* whole, but after the failure */
      EXPECT_TRUE(ExitedFailed(child.stop()));
    }
    EXPECT_FALSE(std::filesystem::exists(dirCase.file("lob_0_30.dat")));
    if (c.pcFirst != nullptr) {
      EXPECT_TRUE(std::filesystem::exists(dirCase.file(c.pcFirst)));
    }
    ocharDestroy(pcharFile);
    ocharDestroy(pcharDir);
  }
}

namespace {

/* A DMS page with its slot directory at 64 (the EMP and object-table pages of the readers). */
/*
** The DMS table space of bkimageDmsLongSpace, pages end to end in one file
** after 512 bytes, with the long-field and LOB data in their extents.
*/
Bytes DmsPages(const Bytes &vLF, const Bytes &vLOB)
{
  std::vector<Bytes> vPages = bkimageDmsLongSpace(P);
  for (int k = 0; k < 8; k++) vPages[k < 4 ? 24 + k : 16 + k] = Slice(vLF, static_cast<size_t>(k) * P, P);
  for (int k = 0; k < 4; k++) vPages[32 + k] = Slice(vLOB, static_cast<size_t>(k) * P, P);
  Bytes vAll(512, 0);
  for (auto &page : vPages) vAll.insert(vAll.end(), page.begin(), page.end());
  return vAll;
}

}  // namespace

TEST_F(FiclvarTest, DmsChildrenFollowTheExtentListsOfTheirObjects)
{
  Bytes vLF = Pattern(8 * P, 0x33), vLOB = Pattern(4 * P, 0x5A);
  zavtestTempDir dir;
  Bytes vImage = DmsPages(vLF, vLOB);
  int iFd = open(dir.file("ts").c_str(), O_CREAT | O_TRUNC | O_RDWR, 0644);
  ASSERT_EQ(write(iFd, vImage.data(), vImage.size()), static_cast<ssize_t>(vImage.size()));
  int aiFd[1] = {iFd};
  ficcont *pcont = ficcontCreate();
  pcont->ilType = FICCONT_TYPE_DMS;
  pcont->ilExtentSize = 4;
  pcont->ilContainers = 1;
  pcont->ilPageSize = P;
  ficlvarTableInfo info{3, 5, P, 512};
  ficdata fd{};
  {
    Child child(&fd, aiFd, info, pcont, ficlvarLFReadDMS, true);
    /* object page 3 (page 27) from byte 1024, on into object page 4 (page 20) */
    child.lf(5000, 26);
    EXPECT_EQ(Get(child.aiAns[0], 5000), Slice(vLF, 26 * 512, 5000));
    child.lf(100, 8 * 40);     /* past the object's extents: zeros, and the child fails */
    EXPECT_EQ(Get(child.aiAns[0], 100), Bytes(100, 0));
    EXPECT_TRUE(ExitedFailed(child.stop()));
  }
  {
    Child child(&fd, aiFd, info, pcont, ficlvarLOBReadDMS, true);
    child.lob(LobDesc(1, 0, 3, 8000, {2}));
    EXPECT_EQ(GetChunks(child.aiAns[0], 8000), Slice(vLOB, 2048, 8000));
    EXPECT_TRUE(ExitedZero(child.stop()));
  }
  ficcontDestroy(pcont);
  close(iFd);
}

TEST_F(FiclvarTest, ChildrenEndOnTheStopWordsOrTheEndOfTheRequestPipe)
{
  Bytes vObject = Pattern(4 * P, 1);
  SmsSpace sp(vObject);
  ficdata fd{};
  struct Case {
    const char *pcName;
    ficlvarMainProc pfn;
  } aCases[] = {
      {"LF SMS", ficlvarLFReadSMS},   {"LOB SMS", ficlvarLOBReadSMS},
      {"LF DMS", ficlvarLFReadDMS},   {"LOB DMS", ficlvarLOBReadDMS},
      {"LF backup DMS", ficlvarLFReadBackupDMS}, {"LOB backup DMS", ficlvarLOBReadBackupDMS},
  };
  for (const Case &c : aCases) {
    SCOPED_TRACE(c.pcName);
    {
      Child child(&fd, sp.aiFd, sp.info, sp.pcont, c.pfn);
      EXPECT_TRUE(ExitedZero(child.stop()));
    }
    {
      Child child(&fd, sp.aiFd, sp.info, sp.pcont, c.pfn);
      close(child.aiReq[1]);
      int iStatus = -1;
      EXPECT_EQ(waitpid(child.pid, &iStatus, 0), child.pid);
      EXPECT_TRUE(ExitedZero(iStatus));
      close(child.aiAns[0]);
      child.pid = -1;
    }
  }
  /* the backup DMS children cannot answer: the reader sees the end of the pipe, not a wait */
  Child child(&fd, sp.aiFd, sp.info, sp.pcont, ficlvarLFReadBackupDMS);
  child.lf(100, 0);
  EXPECT_EQ(Get(child.aiAns[0], 100).size(), 0u);
  EXPECT_TRUE(ExitedZero(child.stop()));
}

TEST_F(FiclvarTest, AChildThatCannotReadStillAnswersInStep)
{
  Bytes vObject = Pattern(4 * P, 1);
  SmsSpace sp(vObject);
  ficlvarTableInfo info = sp.info;
  info.ilPageSize = 1000;     /* no page size: nothing can be read */
  ficdata fd{};
  Child lf(&fd, sp.aiFd, info, sp.pcont, ficlvarLFReadSMS);
  lf.lf(5000, 3);
  EXPECT_EQ(Get(lf.aiAns[0], 5000), Bytes(5000, 0));
  Child lob(&fd, sp.aiFd, info, sp.pcont, ficlvarLOBReadDMS, true);
  lob.lob(LobDesc(1, 0, 3, 6000, {2}));
  EXPECT_EQ(GetChunks(lob.aiAns[0], 6000), Bytes(6000, 0));
  /* nothing was served: both fail */
  EXPECT_TRUE(ExitedFailed(lf.stop()));
  EXPECT_TRUE(ExitedFailed(lob.stop()));
}

TEST_F(FiclvarTest, TheRecordDecoderGetsItsLongDataFromTheChildren)
{
  using db2pages::val;
  Bytes vLF = Pattern(8 * P, 0x21), vLOB = Pattern(16 * P, 0x47);
  SmsSpace spLF(vLF), spLOB(vLOB);
  std::vector<db2pages::Column> cols = {{1, 4, false}, {260, 24, true}, {264, 64, false}};
  Bytes vPage0 = db2pages::firstPage(P, 1, cols, {});
  ficdataSlots slots;
  ASSERT_EQ(ficdataReadSlots(vPage0.data(), P, &slots), 0);
  ficdataTableDesc desc{};
  ASSERT_EQ(_ficdataReadTableDescriptorRecord(nullptr, vPage0.data(), P, slots.ailOffset[3], &desc), 0);
  std::unique_ptr<ficdataColumnDesc, void (*)(void *)> guard(desc.pcolumns, std::free);
  desc.pcolumns[1].sUsed = 1;
  desc.pcolumns[2].sUsed = 1;
  Bytes vLFDesc(24, 0);
  obytePutLE32(vLFDesc.data(), 3000);
  obytePutLE32(vLFDesc.data() + 8, 9);
  Bytes vLobDesc = LobDesc(2, 1, 0, 1500, {10, 40});
  vLobDesc.resize(64, 0);
  Bytes vRec = db2pages::row(cols, {val(Bytes{1, 0, 0, 0}), val(vLFDesc), val(vLobDesc)});
  Bytes vPage = db2pages::page(P, 4, {vRec});
  ficdata fd{};
  fd.iLongFlags = FICDATA_LONG_LF | FICDATA_LONG_LOB;
  Child lf(&fd, spLF.aiFd, spLF.info, spLF.pcont, ficlvarLFReadSMS);
  Child lob(&fd, spLOB.aiFd, spLOB.info, spLOB.pcont, ficlvarLOBReadSMS);
  ficdataInfoLong infolong{lf.aiReq[1], lf.aiAns[0], lob.aiReq[1], lob.aiAns[0]};
  std::vector<unsigned char> vBuffer(static_cast<size_t>(ficdataSizeEnreg(&desc)));
  int32_t ilLength = 0;
  for (int iRound = 0; iRound < 2; iRound++) {
    SCOPED_TRACE(iRound);
    ASSERT_EQ(ficdataReadSlots(vPage.data(), P, &slots), 0);
    ASSERT_EQ(_ficdataReadDB2DataRecord(&fd, vPage.data(), P, slots.ailOffset[0], &desc, &infolong, nullptr, 0,
                                        vBuffer.data(), static_cast<int32_t>(vBuffer.size()), &ilLength),
              0);
    int32_t ilRowEnd = ilLength - 3000 - 1500;
    ASSERT_GT(ilRowEnd, 0);
    EXPECT_EQ(Slice(vBuffer, static_cast<size_t>(ilRowEnd), 3000), Slice(vLF, 9 * 512, 3000));
    EXPECT_EQ(Slice(vBuffer, static_cast<size_t>(ilRowEnd) + 3000, 1500),
              Cat({Slice(vLOB, 10 * 1024, 1024), Slice(vLOB, 40 * 1024, 476)}));
  }
  EXPECT_TRUE(ExitedZero(lf.stop()));
  EXPECT_TRUE(ExitedZero(lob.stop()));
}
