/*
** zorurunconv_test.cpp
**   The writer's conversion pool on several threads, fed through real
**   channels by forked producers, converting with the real DEL converters
**   and writing through the real file writer (its writing thread too):
**     - many batches on four workers with NULL values (whose converters
**       trace) while the message system runs: the file one thread would
**       write, per channel in order;
**     - records of assorted lengths taken in bulk, some longer than the
**       pool converts: the rows one thread would write, and the counts;
**     - failures that are not the end of the data (a producer gone without
**       its end record, a record the channel cannot give back, an output
**       area that cannot be grown, a batch whose areas cannot be
**       made): the pool ends with the first of them,
**       never as if the data had ended, and a failure is no row "not
**       converted";
**     - the writer process ends with the pool's failure, not with a later
**       one of its flush.
**   scripts/run-tsan builds and runs these tests under ThreadSanitizer.
*/
#include "run/zorurunconv.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/obyte.h"
#include "common/olist.h"
#include "common/omsgs.h"
#include "common/ovf.h"
#include "io/zor3write.h"
#include "model/oconvert.h"
#include "model/orow.h"
#include "model/token.h"
#include "model/tools.h"
#include "model/udb.h"
#include "model/zoratom.h"
#include "model/zortask.h"
#include "run/zorucore.h"
#include "run/zorurun.h"
#include "run/zorurunsel.h"
#include "tests/run/ucoretest.h"
#include "tests/zavtest.h"

namespace {

/* Channel length asked of ovfCreate: halves of about 2 KB, many hand-overs. */
constexpr int kiChannel = 4096;
/* The largest record a channel carries (half of it, less its length word). */
constexpr int32_t kilRecordMax = kiChannel / 2;
/* Null text of the INTEGER column: a NULL row is far longer converted than read. */
const std::string kstrNullText(200, 'n');

/* Unload record of a row: SMALLINT s at 0, INTEGER l at 3, each with its null byte. */
std::vector<unsigned char> _record(int16_t s, int32_t l, bool boNullL = false)
{
  ucoreBytes data;
  data.le16(0, static_cast<uint16_t>(s)).put(2, {0}).le32(3, static_cast<uint32_t>(l));
  data.put(7, {static_cast<unsigned char>(boNullL ? 1 : 0)});
  return ucoreRecord(8, data);
}

/* The DEL line of that row. */
std::string _line(int16_t s, int32_t l, bool boNullL = false)
{
  return std::to_string(s) + "," + (boNullL ? kstrNullText : std::to_string(l)) + "\n";
}

/* One producer's rows: s runs from sFrom, every third INTEGER from row
   iFirstNull on is NULL. */
struct Rows {
  std::vector<std::vector<unsigned char>> vRecords;
  std::vector<std::string> vLines;
};
Rows _rows(int16_t sFrom, int iCount, int iFirstNull = 0)
{
  Rows rows;
  for (int i = 0; i < iCount; i++) {
    int16_t s = static_cast<int16_t>(sFrom + i);
    bool boNull = i >= iFirstNull && i % 3 == 2;
    rows.vRecords.push_back(_record(s, s * 7, boNull));
    rows.vLines.push_back(_line(s, s * 7, boNull));
  }
  return rows;
}

/*
** A SELECT task whose DEL converter writes the two columns, an output item,
** and channels grouped for one writer.
*/
struct Pool {
  zortask *ptask = nullptr;
  ucoreCores cores;
  oconvert *pconvert = nullptr;
  olist *plistOutput = nullptr;
  ovfgroup *pgroup = nullptr;
  std::vector<ovf *> vpovf;

  Pool(const std::string &strOutput, int iChannels)
  {
    static const int iTokens = tokenInitKeyword();
    EXPECT_EQ(iTokens, 0);
    ptask = zortaskCreateNamed(gapnameTotalToken[TOKEN_SELECT]);
    add(zoratomCreate(gapnameTotalToken[TOKEN_TBNAME], ZORATOM_OCHAR, 0, (uintptr_t)zavtestText("T1"), nullptr, nullptr));
    add(zoratomCreate(gapnameTotalToken[TOKEN_TBQUALIFIER], ZORATOM_OCHAR, 0, (uintptr_t)zavtestText("ZAV"), nullptr,
                      nullptr));
    integer(TOKEN_MAXBUFFER_MAIN, kiChannel).integer(TOKEN_MAXRECORD_MAIN, 100).integer(TOKEN_MAXDB2LEN, 512);
    zorucoreData *pcoreL = cores.make(ZORUCORE_FLAG_SEP | ZORUCORE_FLAG_NULLTEXT);
    ucoreSetDefault(pcoreL, kstrNullText);
    std::vector<ucoreCol> vcol = {{COLKEY_NULLABLE | 0x01, 0xB001, 2, 0, cores.make(0)},
                                  {COLKEY_NULLABLE | 0x02, 0xB002, 4, 3, pcoreL},
                                  ucoreEndCol(cores.end())};
    int iRc = 0;
    pconvert = ucoreMakeConverter(vcol, &iRc);
    EXPECT_NE(pconvert, nullptr) << iRc;
    add(zoratomCreate(gapnameTotalToken[TOKEN_CONVERTER], ZORATOM_CONVERTER, ZORATOM_BORROWED, (uintptr_t)pconvert,
                      nullptr, nullptr));
    plistOutput = olistCreate(0, nullptr, nullptr);
    olistAppend(plistOutput,
                udbOutFileCreate(zavtestText(strOutput), nullptr, nullptr, UDB_MODE_REPLACE | UDB_MODE_CURRENT));
    add(zoratomCreate(gapnameTotalToken[TOKEN_OUTPUT], ZORATOM_OLIST, ZORATOM_BORROWED, (uintptr_t)plistOutput, nullptr,
                      nullptr));
    int iErr = 0;
    pgroup = ovfGroupCreate(iChannels, &iErr);
    EXPECT_NE(pgroup, nullptr) << iErr;
    for (int i = 0; i < iChannels; i++) {
      ovf *povf = ovfCreate(kiChannel, 100, &iErr);
      EXPECT_NE(povf, nullptr) << iErr;
      vpovf.push_back(povf);
      ovfGroupAdd(pgroup, povf);
    }
  }
  ~Pool()
  {
    if (pgroup != nullptr) ovfGroupDestroy(pgroup);
    zortaskDestroy(ptask);
    oconvertDestroy(pconvert);
    udbOutFileDestroy(static_cast<udbOutFile *>(plistOutput->pitemTop));
    plistOutput->pitemTop = plistOutput->pitemBottom = nullptr;
    olistDestroy(plistOutput);
  }
  void add(zoratom *patom) { ASSERT_EQ(zortaskAddAtom(ptask, patom), 0); }
  Pool &integer(int iToken, int32_t iValue)
  {
    add(zoratomCreate(gapnameTotalToken[iToken], ZORATOM_INTEGER, ZORATOM_BORROWED, (uintptr_t)(uint32_t)iValue,
                      nullptr, nullptr));
    return *this;
  }
  udbOutFile *output() { return static_cast<udbOutFile *>(plistOutput->pitemTop); }

  /* Runs the pool into a writer of the kind (1 or 2) on the output, with
     batches of about 2 KB (at least a record of ilRecordMax, the largest
     the pool converts); the writer is flushed, closed and destroyed.
     Returns the pool's code. */
  int run(uint32_t ulKind, int iWorkers, zorurunSelectCounts *pcounts, int32_t ilRecordMax = kilRecordMax + 8)
  {
    zorwrite *pwrite = writeCreate(ulKind, -1, output(), 64 * 1024, nullptr, ptask);
    EXPECT_EQ(writeOpen(pwrite), 0);
    int iRc = zorurunconvRun(pconvert, ilRecordMax, 6 * (kilRecordMax + 8), 64 * 1024, pgroup, pwrite, iWorkers,
                             pcounts);
    writeFlush(pwrite);
    writeClose(pwrite);
    writeDestroy(pwrite);
    return iRc;
  }
};

/* Forks a producer writing the records on the channel, then the end record
   unless boEnd is false (it then ends as if killed after its last write). */
pid_t _producer(ovf *povf, const std::vector<std::vector<unsigned char>> &vRecords, bool boEnd = true)
{
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid != 0) return pid;
  for (const std::vector<unsigned char> &v : vRecords)
    if (ovfWrite(povf, v.data(), static_cast<int>(v.size())) != 0) _exit(7);
  if (boEnd) ovfWrite(povf, nullptr, 0);
  _exit(0);
}

int _wait(pid_t pid)
{
  int iStatus = 0;
  if (waitpid(pid, &iStatus, 0) != pid) return -1;
  return WIFEXITED(iStatus) ? WEXITSTATUS(iStatus) : 128 + WTERMSIG(iStatus);
}

std::vector<std::string> _lines(const std::string &strPath)
{
  std::vector<std::string> vLines;
  std::string strText = zavtestReadText(strPath), str;
  for (char c : strText) {
    str += c;
    if (c == '\n') {
      vLines.push_back(str);
      str.clear();
    }
  }
  if (!str.empty()) vLines.push_back(str);
  return vLines;
}

/* The lines of vGot that belong to vWant (in order), given that each line is unique. */
std::vector<std::string> _only(const std::vector<std::string> &vGot, const std::vector<std::string> &vWant)
{
  std::vector<std::string> vSorted = vWant, v;
  std::sort(vSorted.begin(), vSorted.end());
  for (const std::string &str : vGot)
    if (std::binary_search(vSorted.begin(), vSorted.end(), str)) v.push_back(str);
  return v;
}

/* The message system of the run, started for a test with no trace keyword
   enabled: every module's first trace call then clears its switch. */
struct Messages {
  int iCentre = -1;
  Messages()
  {
    EXPECT_EQ(omsgsInitModule("/", static_cast<int>(getpid()), nullptr, 1, 1, nullptr, 1, &iCentre, nullptr, nullptr),
              0);
  }
  ~Messages() { omsgsDestroyModule(iCentre); }
};

}  // namespace

/*
** Four workers convert many batches of rows whose NULL values are written
** by a converter that traces, while the writing thread writes; every row of
** both channels reaches the file, each channel's rows in their order.  The
** first NULL values come once every worker runs, so that several workers
** make their module's first trace call at once.
*/
TEST(zorurunconvPool, ManyBatchesOnFourWorkersGiveEveryRowInChannelOrder)
{
  zavtestTempDir dir;
  Messages messages;
  Pool pool(dir.file("out.del"), 2);
  Rows rowsA = _rows(1, 20000, 8000), rowsB = _rows(-30000, 10000, 4000);
  pid_t pidA = _producer(pool.vpovf[0], rowsA.vRecords);
  pid_t pidB = _producer(pool.vpovf[1], rowsB.vRecords);
  zorurunSelectCounts counts{};
  EXPECT_EQ(pool.run(ZORWRITE_ASYNC, 4, &counts), 0);
  EXPECT_EQ(_wait(pidA), 0);
  EXPECT_EQ(_wait(pidB), 0);
  std::vector<std::string> vGot = _lines(dir.file("out.del"));
  EXPECT_EQ(vGot.size(), rowsA.vLines.size() + rowsB.vLines.size());
  EXPECT_TRUE(_only(vGot, rowsA.vLines) == rowsA.vLines);
  EXPECT_TRUE(_only(vGot, rowsB.vLines) == rowsB.vLines);
  EXPECT_EQ(counts.llRowsSeen, 30000);
  EXPECT_EQ(counts.llRowsNotConverted, 0);
}

/*
** Records of assorted lengths (each row's record followed by 0 to 1999
** bytes the converter does not read), taken in bulk into batches of about
** 2 KB that fill in the middle of a half: the file holds the rows one
** thread would write, in channel order, and a record longer than the
** largest the pool converts (600 bytes) is no row of the file but a row
** not converted, counted at its place.
*/
TEST(zorurunconvPool, RecordsOfAssortedLengthsGiveTheRowsOneThreadWould)
{
  zavtestTempDir dir;
  Pool pool(dir.file("out.del"), 1);
  Rows rows = _rows(1, 3000, 0);
  std::vector<std::string> vWant;
  int64_t llLong = 0, llFirstLong = 0;
  for (size_t i = 0; i < rows.vRecords.size(); i++) {
    size_t ulExtra = i % 97 == 5 ? 1000 + i % 1000 : (i * 37) % 300;
    rows.vRecords[i].resize(rows.vRecords[i].size() + ulExtra, 0xEE);
    if (rows.vRecords[i].size() > 600) {
      if (llLong++ == 0) llFirstLong = static_cast<int64_t>(i) + 1;
    } else {
      vWant.push_back(rows.vLines[i]);
    }
  }
  ASSERT_GT(llLong, 10);
  pid_t pid = _producer(pool.vpovf[0], rows.vRecords);
  zorurunSelectCounts counts{};
  EXPECT_EQ(pool.run(ZORWRITE_SYNC, 3, &counts, 600), 0);
  EXPECT_EQ(_wait(pid), 0);
  EXPECT_TRUE(_lines(dir.file("out.del")) == vWant);
  EXPECT_EQ(counts.llRowsSeen, 3000);
  EXPECT_EQ(counts.llRowsNotConverted, llLong);
  EXPECT_EQ(counts.llFirstNotConverted, llFirstLong);
}

/* Gives no memory to grow an output area; a batch's first areas are made. */
void *_noRealloc(void *pv, size_t ulSize) { return pv == nullptr ? std::malloc(ulSize) : nullptr; }

/* Makes the areas of the first batch only (its output, then its input area). */
std::atomic<int> giAreasMade{0};
void *_firstBatchOnly(void *pv, size_t ulSize)
{
  if (pv != nullptr) return std::realloc(pv, ulSize);
  return giAreasMade++ < 2 ? std::malloc(ulSize) : nullptr;
}

/*
** Failures that are not the end of the data, each on the first channel
** while the second carries rows as usual: the pool ends with the failure,
** the rows read before it are in the file, and none is counted as a row
** that could not be converted (a warning).
*/
TEST(zorurunconvPool, FailureIsNeverTakenForTheEndOfTheData)
{
  enum Fault { GONE, BAD_RECORD, NO_OUTPUT_MEMORY, NO_BATCH_MEMORY };
  struct Case {
    const char *pcName;
    Fault fault;
    int iRc;
    bool boSecondWhole;   /* every row of the second channel is written */
  } const aCases[] = {
      {"a producer gone without its end record", GONE, OVF_RC_LOST, true},
      {"a record the channel cannot give back", BAD_RECORD, ORC_INVALID, false},
      {"an output area that cannot be grown", NO_OUTPUT_MEMORY, ORC_NOMEM, false},
      {"a batch whose areas cannot be made", NO_BATCH_MEMORY, ORC_NOMEM, false},
  };
  for (const Case &c : aCases) {
    SCOPED_TRACE(c.pcName);
    zavtestTempDir dir;
    Pool pool(dir.file("out.del"), 2);
    /* the first channel: five short rows, all in its first half */
    Rows rowsA = _rows(1, 5), rowsB = _rows(-30000, 3000);
    pid_t pidA = _producer(pool.vpovf[0], rowsA.vRecords, c.fault != GONE);
    if (c.fault == BAD_RECORD) {
      /* the half is handed over with its end record: the third record's
         length word (segment offsets: 16 half 1 start, records of a 32-bit
         length then the data padded to 4) is made longer than the half */
      ASSERT_EQ(_wait(pidA), 0);
      unsigned char *puc = reinterpret_cast<unsigned char *>(pool.vpovf[0]);
      uint32_t ulPos = obyteGetLE32(puc + 16);
      for (int i = 0; i < 2; i++) ulPos += 4 + ((obyteGetLE32(puc + ulPos) + 3) & ~3u);
      obytePutLE32(puc + ulPos, 0x7FFFFFF0u);
    }
    /* a pool that fails may stop the first channel before its producer has
       handed its only half over: that producer ends first */
    if (c.fault == NO_OUTPUT_MEMORY || c.fault == NO_BATCH_MEMORY) {
      ASSERT_EQ(_wait(pidA), 0);
    }
    pid_t pidB = _producer(pool.vpovf[1], rowsB.vRecords);
    if (c.fault == NO_OUTPUT_MEMORY) zorurunconvSetReallocProc(_noRealloc);
    giAreasMade = 0;
    if (c.fault == NO_BATCH_MEMORY) zorurunconvSetReallocProc(_firstBatchOnly);
    zorurunSelectCounts counts{};
    std::vector<std::string> vMsgs;
    int iRc = 0;
    vMsgs = zavtestMessages([&] { iRc = pool.run(ZORWRITE_SYNC, 2, &counts); });
    zorurunconvSetReallocProc(nullptr);
    EXPECT_EQ(iRc, c.iRc);
    if (c.fault == GONE) {
      EXPECT_EQ(_wait(pidA), 0);
    }
    /* a producer still writing ends at its next write into the stopped
       channel, or, waiting for a half nobody reads, once the writer process
       has destroyed the channels */
    ovfGroupDestroy(pool.pgroup);
    pool.pgroup = nullptr;
    int iB = _wait(pidB);
    EXPECT_TRUE(iB == 0 || (!c.boSecondWhole && iB == 7)) << iB;
    EXPECT_EQ(counts.llRowsNotConverted, 0);
    std::vector<std::string> vGot = _lines(dir.file("out.del"));
    std::vector<std::string> vGotA = _only(vGot, rowsA.vLines), vGotB = _only(vGot, rowsB.vLines);
    EXPECT_EQ(vGot.size(), vGotA.size() + vGotB.size());
    /* what reached the file is a beginning of each channel's rows */
    EXPECT_TRUE(std::equal(vGotA.begin(), vGotA.end(), rowsA.vLines.begin()));
    EXPECT_TRUE(std::equal(vGotB.begin(), vGotB.end(), rowsB.vLines.begin()));
    if (c.boSecondWhole) {
      EXPECT_TRUE(vGotB == rowsB.vLines);
    }
    if (c.fault == BAD_RECORD) {
      EXPECT_EQ(vGotA, std::vector<std::string>(rowsA.vLines.begin(), rowsA.vLines.begin() + 2));
    }
    EXPECT_LT(vGot.size(), rowsA.vLines.size() + rowsB.vLines.size());
  }
}

/*
** The writer process keeps the pool's failure when its flush fails later:
** a producer gone without its end record after two halves of rows, then
** those rows, held in the buffer, cannot be written (a full device).  It
** ends with the first failure, and the flush's own is still told
** (ZORU347E).
*/
TEST(zorurunconvWriterChild, EndsWithThePoolsFailureNotTheFlushs)
{
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  Pool pool("/dev/full", 1);
  zorurunWriter *pwriter = static_cast<zorurunWriter *>(std::calloc(1, sizeof(zorurunWriter)));
  pwriter->ptaskSelect = pool.ptask;
  pwriter->pwrite = writeCreate(ZORWRITE_SYNC, -1, pool.output(), 1 << 20, nullptr, pool.ptask);
  pwriter->iPairCount = 1;
  pwriter->appair = static_cast<zorurunPair **>(std::calloc(1, sizeof(zorurunPair *)));
  pwriter->appair[0] = static_cast<zorurunPair *>(std::calloc(1, sizeof(zorurunPair)));
  pwriter->appair[0]->pwriter = pwriter;
  pwriter->appair[0]->ilBufferLen = kiChannel;
  pwriter->appair[0]->povf = pool.vpovf[0];
  pwriter->pgroup = pool.pgroup;
  pool.pgroup = nullptr;   /* the writer process destroys it */
  pid_t pid = _producer(pool.vpovf[0], _rows(1, 200).vRecords, false);
  int iRc = 0;
  std::vector<std::string> vMsgs = zavtestMessages([&] { iRc = _zorurunRunWriteChild(pwriter); });
  EXPECT_EQ(_wait(pid), 0);
  EXPECT_EQ(iRc, OVF_RC_LOST);
  bool boFlushTold = false;
  for (const std::string &str : vMsgs) boFlushTold |= str.rfind("ZORU347E", 0) == 0;
  EXPECT_TRUE(boFlushTold);
  for (const std::string &str : vMsgs) EXPECT_EQ(str.find("ZORU410I"), std::string::npos) << str;
  std::free(pwriter->appair[0]);
  pwriter->iPairCount = 0;
  _zorurunDestroyWriterList(pwriter);
}
