/*
** zorurunsel_test.cpp
**   SELECT child, readers and writers: a writer process fed through real
**   channels by forked producers, converting with the real DEL converters and
**   writing through the real file writer; a writer that reaches MAXROWS or
**   cannot open its file stops its producers; a whole SELECT child with a
**   fake partition reader (two partitions into one DEL file, a killed reader).
**   Every test waits for the processes it forks and leaves no IPC resource.
*/
#include "run/zorurunsel.h"

#include <gtest/gtest.h>
#include <unicode/ucnv.h>

#include "tests/run/ucoretest.h"
#include "tests/zavtest.h"

#include <sys/sem.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/obyte.h"
#include "common/ochar.h"
#include "common/olist.h"
#include "common/ovf.h"
#include "model/part.h"
#include "model/token.h"
#include "model/tools.h"
#include "model/udb.h"
#include "model/zoratom.h"
#include "model/zortask.h"
#include "io/zor3write.h"
#include "run/zorucore.h"
#include "run/zorucorechar.h"
#include "model/osysibm.h"
#include "run/zor3unload.h"
#include "storage/ficcont.h"
#include "storage/ficdata.h"
#include "storage/ficdms.h"
#include "tests/storage/dmsspace.h"
#include "tests/storage/empspace.h"
#include "tests/storage/fictable.h"
#include "tools/db2emp.h"
#include "tools/db2spcs.h"

#include <fcntl.h>
#include <filesystem>

namespace {

/* Unload record of a row (SMALLINT s nullable at 0, INTEGER l nullable at 3). */
std::vector<unsigned char> _record(int16_t s, int32_t l)
{
  ucoreBytes data;
  data.le16(0, static_cast<uint16_t>(s)).put(2, {0}).le32(3, static_cast<uint32_t>(l)).put(7, {0});
  return ucoreRecord(8, data);
}

std::string _line(int16_t s, int32_t l) { return std::to_string(s) + "," + std::to_string(l) + "\n"; }

/* A SELECT task with a DEL converter of the two columns (with boLobs: a
   nullable CLOB at 0 and a nullable BLOB at 5; with boIcu as well, the CLOB
   converted from UTF-8 into CCSID 819, replacements counted) and the sizes
   the child reads. */
struct Select {
  zortask *ptask = nullptr;
  ucoreCores cores;
  oconvert *pconvert = nullptr;
  olist *plistOutput = nullptr;
  olist *plistParts = nullptr;
  UConverter *pconvTo = nullptr;
  UConverter *pconvFrom = nullptr;
  std::vector<char> vWork = std::vector<char>(4096);

  explicit Select(bool boLobs = false, bool boIcu = false)
  {
    static const int iTokens = tokenInitKeyword();
    EXPECT_EQ(iTokens, 0);
    ptask = zortaskCreateNamed(gapnameTotalToken[TOKEN_SELECT]);
    add(zoratomCreate(gapnameTotalToken[TOKEN_TBNAME], ZORATOM_OCHAR, 0, (uintptr_t)zavtestText("T1"), nullptr, nullptr));
    add(zoratomCreate(gapnameTotalToken[TOKEN_TBQUALIFIER], ZORATOM_OCHAR, 0, (uintptr_t)zavtestText("ZAV"), nullptr, nullptr));
    integer(TOKEN_MAXBUFFER_MAIN, 4096).integer(TOKEN_MAXRECORD_MAIN, 100).integer(TOKEN_MAXDB2LEN, 512);
    std::vector<ucoreCol> vcol = {{0x0801, 0xB001, 2, 0, cores.make(ZORUCORE_FLAG_DELIM)},
                                  {0x0802, 0xB002, 4, 3, cores.make(ZORUCORE_FLAG_SEP | ZORUCORE_FLAG_DELIM)},
                                  ucoreEndCol(cores.end())};
    if (boLobs)
      vcol = {{0x0811, static_cast<uint16_t>(boIcu ? 0xB211 : 0xB011), 1048576, 0, cores.make(ZORUCORE_FLAG_DELIM)},
              {0x0810, 0xB010, 1048576, 5, cores.make(ZORUCORE_FLAG_SEP | ZORUCORE_FLAG_DELIM)},
              ucoreEndCol(cores.end())};
    if (boLobs && boIcu) {
      UErrorCode err = U_ZERO_ERROR;
      pconvTo = ucnv_open("UTF-8", &err);
      pconvFrom = ucnv_open("ibm-819", &err);
      EXPECT_TRUE(U_SUCCESS(err)) << u_errorName(err);
      EXPECT_EQ(zorucoreCountReplaced(pconvTo, pconvFrom), 0);
      zorucoreData *pcore = vcol[0].pcore;
      pcore->pconvToUtf16 = pconvTo;
      pcore->pconvFromUtf16 = pconvFrom;
      pcore->pcWorkBuffer = vWork.data();
      pcore->ulWorkSize = static_cast<uint32_t>(vWork.size());
      pcore->iWorkCapacity = static_cast<int32_t>(vWork.size() / 2);
    }
    int iRc = 0;
    pconvert = ucoreMakeConverter(vcol, &iRc);
    EXPECT_NE(pconvert, nullptr);
    add(zoratomCreate(gapnameTotalToken[TOKEN_CONVERTER], ZORATOM_CONVERTER, ZORATOM_BORROWED, (uintptr_t)pconvert,
                      nullptr, nullptr));
  }
  ~Select()
  {
    zortaskDestroy(ptask);
    oconvertDestroy(pconvert);
    if (pconvTo != nullptr) ucnv_close(pconvTo);
    if (pconvFrom != nullptr) ucnv_close(pconvFrom);
    for (olist *plist : {plistOutput, plistParts}) {
      if (plist == nullptr) continue;
      void *pitem = plist->pitemTop;
      while (pitem != nullptr) {
        void *pnext = static_cast<olistItem *>(pitem)->pitemNext;
        if (plist == plistOutput) udbOutFileDestroy(static_cast<udbOutFile *>(pitem));
        else partDestroy(static_cast<part *>(pitem));
        pitem = pnext;
      }
      plist->pitemTop = plist->pitemBottom = nullptr;
      olistDestroy(plist);
    }
  }
  void add(zoratom *patom) { ASSERT_EQ(zortaskAddAtom(ptask, patom), 0); }
  Select &integer(int iToken, int32_t iValue)
  {
    add(zoratomCreate(gapnameTotalToken[iToken], ZORATOM_INTEGER, ZORATOM_BORROWED, (uintptr_t)(uint32_t)iValue, nullptr,
                      nullptr));
    return *this;
  }
  Select &output(const std::string &strPath, uint32_t ulMode = UDB_MODE_CURRENT)
  {
    plistOutput = olistCreate(0, nullptr, nullptr);
    olistAppend(plistOutput, udbOutFileCreate(zavtestText(strPath), nullptr, nullptr, UDB_MODE_REPLACE | ulMode));
    add(zoratomCreate(gapnameTotalToken[TOKEN_OUTPUT], ZORATOM_OLIST, ZORATOM_BORROWED, (uintptr_t)plistOutput, nullptr,
                      nullptr));
    return *this;
  }
  Select &parts(const std::vector<int32_t> &vParts)
  {
    plistParts = olistCreate(0, nullptr, nullptr);
    for (int32_t il : vParts) olistAppend(plistParts, partCreate(il, 0, nullptr, nullptr, nullptr, 0));
    add(zoratomCreate(gapnameTotalToken[TOKEN_PARTS_TAKEN], ZORATOM_OLIST, ZORATOM_BORROWED, (uintptr_t)plistParts,
                      nullptr, nullptr));
    return *this;
  }
};

/* A writer of the task with iPairs channels, built as the SELECT child builds it. */
zorurunWriter *_writer(Select &sel, const std::string &strPath, int iPairs, int32_t ilCapacity = 0)
{
  zorurunWriter *pwriter = static_cast<zorurunWriter *>(std::calloc(1, sizeof(zorurunWriter)));
  pwriter->ptaskSelect = sel.ptask;
  udbOutFile *pout = static_cast<udbOutFile *>(sel.plistOutput->pitemTop);
  (void)strPath;
  pwriter->pwrite = writeCreate(ZORWRITE_SYNC, -1, pout, ilCapacity, nullptr, sel.ptask);
  pwriter->iPairCount = iPairs;
  pwriter->appair = static_cast<zorurunPair **>(std::calloc(static_cast<size_t>(iPairs), sizeof(zorurunPair *)));
  int iErr = 0;
  pwriter->pgroup = ovfGroupCreate(iPairs, &iErr);
  for (int i = 0; i < iPairs; i++) {
    pwriter->appair[i] = _zorurunCreatePair(nullptr, pwriter);
    EXPECT_NE(pwriter->appair[i], nullptr);
    ovfGroupAdd(pwriter->pgroup, pwriter->appair[i]->povf);
  }
  return pwriter;
}

/* Forks a producer writing the records on the channel, then the end record.
   Its exit status is 7 when the consumer stopped it, 9 when the channel
   refused a record, 0 otherwise. */
pid_t _producerRecords(ovf *povf, const std::vector<std::vector<unsigned char>> &vRecords)
{
  pid_t pid = fork();
  if (pid != 0) return pid;
  for (const std::vector<unsigned char> &v : vRecords) {
    int iRc = ovfWrite(povf, v.data(), static_cast<int>(v.size()));
    if (iRc == OVF_RC_STOPPED) _exit(7);
    if (iRc != 0) _exit(9);
  }
  ovfWrite(povf, nullptr, 0);
  _exit(0);
}

/* The same with the records of rows (a SMALLINT, an INTEGER). */
pid_t _producer(ovf *povf, const std::vector<std::pair<int16_t, int32_t>> &vRows)
{
  std::vector<std::vector<unsigned char>> vRecords;
  for (const auto &row : vRows) vRecords.push_back(_record(row.first, row.second));
  return _producerRecords(povf, vRecords);
}

int _wait(pid_t pid)
{
  int iStatus = 0;
  if (waitpid(pid, &iStatus, 0) != pid) return -1;
  return WIFEXITED(iStatus) ? WEXITSTATUS(iStatus) : 128 + WTERMSIG(iStatus);
}

/* Runs the writer in this process and frees it as the SELECT child would. */
int _runWriter(zorurunWriter *pwriter)
{
  int iRc = _zorurunRunWriteChild(pwriter);
  for (int i = 0; i < pwriter->iPairCount; i++) _zorurunDestroyPair(pwriter->appair[i]);
  pwriter->iPairCount = 0;
  _zorurunDestroyWriterList(pwriter);
  return iRc;
}

std::vector<std::string> _lines(const std::string &strPath)
{
  std::vector<unsigned char> v = zavtestReadFile(strPath);
  std::vector<std::string> vLines;
  std::string str;
  for (unsigned char uc : v) {
    str += static_cast<char>(uc);
    if (uc == '\n') {
      vLines.push_back(str);
      str.clear();
    }
  }
  if (!str.empty()) vLines.push_back(str);
  return vLines;
}

std::vector<std::pair<int16_t, int32_t>> _rows(int16_t sFrom, int iCount)
{
  std::vector<std::pair<int16_t, int32_t>> v;
  for (int i = 0; i < iCount; i++) v.emplace_back(static_cast<int16_t>(sFrom + i), (sFrom + i) * 1000 - 7);
  return v;
}

}  // namespace

TEST(zorurunselWriter, ConvertsEveryRecordOfEveryChannelIntoTheFile)
{
  zavtestTempDir dir;
  Select sel;
  sel.output(dir.file("out.del"));
  zorurunWriter *pwriter = _writer(sel, dir.file("out.del"), 2);
  /* enough rows to fill several halves of each 4096-byte channel */
  auto vA = _rows(1, 600), vB = _rows(-600, 300);
  pid_t pidA = _producer(pwriter->appair[0]->povf, vA);
  pid_t pidB = _producer(pwriter->appair[1]->povf, vB);
  std::vector<std::string> vMsgs = zavtestMessages([&] { EXPECT_EQ(_runWriter(pwriter), 0); });
  EXPECT_EQ(_wait(pidA), 0);
  EXPECT_EQ(_wait(pidB), 0);

  std::vector<std::string> vWant;
  for (const auto &r : vA) vWant.push_back(_line(r.first, r.second));
  for (const auto &r : vB) vWant.push_back(_line(r.first, r.second));
  std::vector<std::string> vGot = _lines(dir.file("out.del"));
  ASSERT_EQ(vGot.size(), vWant.size());
  /* each channel keeps its order; the two interleave */
  std::vector<std::string> vGotA, vGotB;
  for (const std::string &s : vGot) (s[0] == '-' || s[0] == '0' ? vGotB : vGotA).push_back(s);
  EXPECT_EQ(vGotA, std::vector<std::string>(vWant.begin(), vWant.begin() + 600));
  EXPECT_EQ(vGotB, std::vector<std::string>(vWant.begin() + 600, vWant.end()));
  /* ZORU410I reports the rows written */
  ASSERT_FALSE(vMsgs.empty());
  EXPECT_NE(vMsgs.back().find("900"), std::string::npos) << vMsgs.back();
}

TEST(zorurunselWriter, IxfHeaderComesFirstAndIsNotCountedAsARow)
{
  zavtestTempDir dir;
  Select sel;
  sel.output(dir.file("out.ixf"));
  sel.add(zoratomCreate(gapnameTotalToken[TOKEN_HEADER_IXF], ZORATOM_OCHAR, 0, (uintptr_t)zavtestText("HDR"), nullptr, nullptr));
  zorurunWriter *pwriter = _writer(sel, dir.file("out.ixf"), 1);
  pid_t pid = _producer(pwriter->appair[0]->povf, _rows(1, 2));
  std::vector<std::string> vMsgs = zavtestMessages([&] { EXPECT_EQ(_runWriter(pwriter), 0); });
  EXPECT_EQ(_wait(pid), 0);
  std::vector<unsigned char> v = zavtestReadFile(dir.file("out.ixf"));
  EXPECT_EQ(std::string(v.begin(), v.end()), "HDR1,993\n2,1993\n");
  ASSERT_FALSE(vMsgs.empty());
  EXPECT_NE(vMsgs.back().find(" 2 "), std::string::npos) << vMsgs.back();
}

TEST(zorurunselWriter, UnconvertibleRecordIsCountedToldAndWarns)
{
  zavtestTempDir dir;
  Select sel;
  sel.output(dir.file("out.del"));
  zorurunWriter *pwriter = _writer(sel, dir.file("out.del"), 1);
  pid_t pid = _producerRecords(pwriter->appair[0]->povf, {_record(1, 2), {1, 2, 3}, _record(3, 4)});
  int iRc = 0;
  std::vector<std::string> vMsgs = zavtestMessages([&] { iRc = _runWriter(pwriter); });
  EXPECT_EQ(iRc, ZORURUN_RC_ROWSLOST);
  EXPECT_EQ(_wait(pid), 0);
  EXPECT_EQ(_lines(dir.file("out.del")), (std::vector<std::string>{"1,2\n", "3,4\n"}));
  /* after the rows written, the row left out and its position */
  ASSERT_EQ(vMsgs.size(), 2u);
  EXPECT_NE(vMsgs[0].find("UNLOADED 2 ROWS"), std::string::npos) << vMsgs[0];
  EXPECT_NE(vMsgs[1].find("ZORU461W 1 ROWS OF "), std::string::npos) << vMsgs[1];
  EXPECT_NE(vMsgs[1].find(" COULD NOT BE CONVERTED AND ARE NOT IN " + dir.file("out.del") + " (FIRST: ROW 2)\n"),
            std::string::npos)
      << vMsgs[1];
}

/* One LOB of a record of the LOB Select: whole length, bytes held; null when not present. */
struct Lob {
  bool boNull;
  uint32_t ulWhole;
  std::string strHeld;
};

/* Unload record of the LOB Select: slots at 0 and 5, descriptors at 10 and
   70, the bytes held from 130; byte 5 of the header is ucFlags. */
std::vector<unsigned char> _lobRecord(unsigned char ucFlags, const Lob &clob, const Lob &blob)
{
  ucoreBytes data;
  uint32_t ulBytes = 130;
  const Lob *aplob[] = {&clob, &blob};
  for (int i = 0; i < 2; i++) {
    size_t ulSlot = 5 * i, ulDesc = 10 + 60 * i;
    uint8_t ucNull = aplob[i]->boNull ? 1 : 0;
    data.le16(ulSlot, static_cast<uint16_t>(ulDesc)).le16(ulSlot + 2, 60).put(ulSlot + 4, {ucNull});
    data.le32(ulDesc + 8, aplob[i]->ulWhole).le32(ulDesc + 12, static_cast<uint32_t>(aplob[i]->strHeld.size()));
    data.le32(ulDesc + 56, ulBytes).put(ulBytes, aplob[i]->strHeld);
    ulBytes += static_cast<uint32_t>(aplob[i]->strHeld.size());
  }
  std::vector<unsigned char> v = ucoreRecord(10, data);
  v[FICDATA_UREC_FLAGS] = ucFlags;
  return v;
}

/* The LOBs a reader cut are counted from the descriptors of the records it
   flagged, and only of those: ZORU462W with the count and the first row. */
TEST(zorurunselWriter, CutLobsOfFlaggedRecordsAreCountedToldAndWarn)
{
  const Lob shortClob{false, 2, "ab"}, shortBlob{false, 1, "c"}, cutClob{false, 40000, "xyz"},
      cutBlob{false, 50000, "uv"}, nullLob{true, 0, ""};
  struct Row {
    const char *pcWhat;
    unsigned char ucFlags;
    Lob clob, blob;
    const char *pcLine;
  } const aRows[] = {
      {"nothing cut", 0, shortClob, shortBlob, "\"ab\",\"c\"\n"},
      {"flagged: the CLOB cut", FICDATA_UREC_CUT, cutClob, shortBlob, "\"xyz\",\"c\"\n"},
      {"not flagged: not looked at (a LOB file's name is shorter than its LOB)", 0, cutClob, shortBlob,
       "\"xyz\",\"c\"\n"},
      {"flagged: both cut", FICDATA_UREC_CUT, cutClob, cutBlob, "\"xyz\",\"uv\"\n"},
      {"flagged: a null CLOB, the BLOB cut", FICDATA_UREC_CUT, nullLob, cutBlob, ",\"uv\"\n"},
      {"a header byte without the cut bit", 0xFE, cutClob, cutBlob, "\"xyz\",\"uv\"\n"},
  };
  zavtestTempDir dir;
  Select sel(true);
  sel.output(dir.file("lobs.del"));
  zorurunWriter *pwriter = _writer(sel, dir.file("lobs.del"), 1);
  std::vector<std::vector<unsigned char>> vRecords;
  for (const Row &row : aRows) vRecords.push_back(_lobRecord(row.ucFlags, row.clob, row.blob));
  pid_t pid = _producerRecords(pwriter->appair[0]->povf, vRecords);
  int iRc = 0;
  std::vector<std::string> vMsgs = zavtestMessages([&] { iRc = _runWriter(pwriter); });
  EXPECT_EQ(iRc, ZORURUN_RC_LOBCUT);
  EXPECT_EQ(_wait(pid), 0);
  std::vector<std::string> vWant;
  for (const Row &row : aRows) vWant.push_back(row.pcLine);
  EXPECT_EQ(_lines(dir.file("lobs.del")), vWant);
  ASSERT_EQ(vMsgs.size(), 2u);
  EXPECT_NE(vMsgs[0].find("UNLOADED 6 ROWS"), std::string::npos) << vMsgs[0];
  EXPECT_NE(vMsgs[1].find("ZORU462W 4 VALUES OF ZAV.T1 IN " + dir.file("lobs.del") +
                           " ARE CUT TO THEIR FIRST 32700 BYTES (FIRST: ROW 2)\n"),
            std::string::npos)
      << vMsgs[1];
}

/* The writer converts runs of records on several threads.  Whatever the
   runs, the file must hold the rows one thread converting record after
   record would write, and the counts of rows not converted, of LOBs cut and
   of characters replaced, with their first rows, must be that thread's: for
   a whole unload (the rows written in blocks) and for MAXROWS reached in the
   middle of a run (row after row, the counts ending at the refused row). */
TEST(zorurunselWriter, ConversionOnThreadsGivesOneThreadsRowsAndCounts)
{
  const int iRecords = 120000;   /* about 17 MB of records: many runs */
  enum Kind { PLAIN, SHORT, CUT, REPLACED, BOTH };
  auto kindOf = [](int iPos) {
    if (iPos == 3 || iPos == 50001 || iPos == 99999 || iPos == 100000) return SHORT;
    if (iPos % 9973 == 5 && iPos % 7919 == 11) return BOTH;
    if (iPos % 9973 == 5) return CUT;
    if (iPos % 7919 == 11 || iPos == 77777) return REPLACED;
    return PLAIN;
  };
  const struct {
    const char *pcName;
    int32_t ilMaxrows;   /* 0: none */
  } aCases[] = {{"whole unload", 0}, {"MAXROWS in the middle of a run", 60001}, {"MAXROWS just before a short record", 49999}};
  for (const auto &c : aCases) {
    SCOPED_TRACE(c.pcName);
    /* what one thread gives */
    std::vector<std::string> vWant;
    long long llSeen = 0, llNotConv = 0, llFirstNotConv = 0, llCut = 0, llFirstCut = 0, llRepl = 0, llFirstRepl = 0;
    for (int iPos = 1; iPos <= iRecords; iPos++) {
      Kind kind = kindOf(iPos);
      llSeen++;
      if (kind == CUT || kind == BOTH) {
        if (llCut == 0) llFirstCut = llSeen;
        llCut += 1;
      }
      if (kind == REPLACED || kind == BOTH) {
        if (llRepl == 0) llFirstRepl = llSeen;
        llRepl += 2;
      }
      if (kind == SHORT) {
        if (llNotConv++ == 0) llFirstNotConv = llSeen;
        continue;
      }
      if (c.ilMaxrows > 0 && static_cast<int32_t>(vWant.size()) == c.ilMaxrows) break;   /* refused */
      std::string strClob = (kind == REPLACED || kind == BOTH ? "\x1A" "x\x1A" : "r") + std::to_string(iPos);
      vWant.push_back("\"" + strClob + "\",\"c\"\n");
    }

    zavtestTempDir dir;
    Select sel(true, true);
    if (c.ilMaxrows > 0) sel.integer(TOKEN_MAXROWS, c.ilMaxrows);
    sel.output(dir.file("out.del"));
    zorurunWriter *pwriter = _writer(sel, dir.file("out.del"), 1);
    std::vector<std::vector<unsigned char>> vRecords;
    const Lob blob{false, 1, "c"};
    for (int iPos = 1; iPos <= iRecords; iPos++) {
      Kind kind = kindOf(iPos);
      if (kind == SHORT) {
        vRecords.push_back({1, 2, 3});
        continue;
      }
      std::string strHeld = (kind == REPLACED || kind == BOTH ? "\xCE\xA9x\xE6\x97\xA5" : "r") + std::to_string(iPos);
      uint32_t ulWhole = kind == CUT || kind == BOTH ? 40000 : static_cast<uint32_t>(strHeld.size());
      vRecords.push_back(_lobRecord(kind == CUT || kind == BOTH ? FICDATA_UREC_CUT : 0, Lob{false, ulWhole, strHeld}, blob));
    }
    pid_t pid = _producerRecords(pwriter->appair[0]->povf, vRecords);
    int iRc = 0;
    std::vector<std::string> vMsgs = zavtestMessages([&] { iRc = _runWriter(pwriter); });
    EXPECT_EQ(iRc, ZORURUN_RC_ROWSLOST);
    int iChild = _wait(pid);
    EXPECT_TRUE(iChild == 0 || (c.ilMaxrows > 0 && iChild == 7)) << iChild;
    std::vector<std::string> vGot = _lines(dir.file("out.del"));
    EXPECT_EQ(vGot.size(), vWant.size());
    EXPECT_TRUE(vGot == vWant);
    auto has = [&vMsgs](const std::string &str) {
      for (const std::string &strMsg : vMsgs)
        if (strMsg.find(str) != std::string::npos) return true;
      return false;
    };
    std::string strIn = " IN " + dir.file("out.del");
    EXPECT_TRUE(has("UNLOADED " + std::to_string(vWant.size()) + " ROWS"));
    EXPECT_TRUE(has("ZORU461W " + std::to_string(llNotConv) + " ROWS OF ZAV.T1 COULD NOT BE CONVERTED AND ARE NOT" + strIn +
                    " (FIRST: ROW " + std::to_string(llFirstNotConv) + ")"));
    EXPECT_TRUE(has("ZORU462W " + std::to_string(llCut) + " VALUES OF ZAV.T1" + strIn +
                    " ARE CUT TO THEIR FIRST 32700 BYTES (FIRST: ROW " + std::to_string(llFirstCut) + ")"));
    EXPECT_TRUE(has("ZORU480W " + std::to_string(llRepl) + " CHARACTERS OF ZAV.T1 COULD NOT BE CONVERTED AND ARE "
                    "REPLACED BY THE SUBSTITUTION CHARACTER" + strIn + " (FIRST: ROW " + std::to_string(llFirstRepl) + ")"));
    if (::testing::Test::HasFailure())
      for (const std::string &str : vMsgs) ADD_FAILURE() << str;
  }
}

TEST(zorurunselWriter, MaxrowsStopsEveryProducer)
{
  zavtestTempDir dir;
  Select sel;
  sel.integer(TOKEN_MAXROWS, 5).output(dir.file("out.del"));
  zorurunWriter *pwriter = _writer(sel, dir.file("out.del"), 2);
  /* far more rows than the two halves of a channel hold (20 bytes a record) */
  const int iRows = 3 * ZORURUN_CHANNEL_MIN / 20;
  pid_t pidA = _producer(pwriter->appair[0]->povf, _rows(1, iRows));
  pid_t pidB = _producer(pwriter->appair[1]->povf, _rows(10000, iRows));
  zavtestMessages([&] { EXPECT_EQ(_runWriter(pwriter), 0); });
  EXPECT_EQ(_wait(pidA), 7);
  EXPECT_EQ(_wait(pidB), 7);
  EXPECT_EQ(_lines(dir.file("out.del")).size(), 5u);
}

TEST(zorurunselWriter, RowsOfManyBatchesKeepTheRecordOrderAndTheirPositions)
{
  /* the writer converts runs of records on several threads: the file and the
     positions told must be those of one thread reading in order */
  zavtestTempDir dir;
  Select sel;
  sel.output(dir.file("out.del"));
  zorurunWriter *pwriter = _writer(sel, dir.file("out.del"), 1);
  const int iRows = 200000;   /* about 4 MB of records: many batches */
  const std::vector<int> viBad = {2, 77777, 150001};   /* 1-based positions of short records */
  auto vRows = _rows(1, iRows);
  std::vector<std::vector<unsigned char>> vRecords;
  size_t i = 0;
  for (int iPos = 1; i < vRows.size(); iPos++) {
    bool boBad = std::find(viBad.begin(), viBad.end(), iPos) != viBad.end();
    vRecords.push_back(boBad ? std::vector<unsigned char>{1, 2, 3} : _record(vRows[i].first, vRows[i].second));
    if (!boBad) i++;
  }
  pid_t pid = _producerRecords(pwriter->appair[0]->povf, vRecords);
  int iRc = 0;
  std::vector<std::string> vMsgs = zavtestMessages([&] { iRc = _runWriter(pwriter); });
  EXPECT_EQ(iRc, ZORURUN_RC_ROWSLOST);
  EXPECT_EQ(_wait(pid), 0);
  std::vector<std::string> vWant;
  for (const auto &r : vRows) vWant.push_back(_line(r.first, r.second));
  EXPECT_TRUE(_lines(dir.file("out.del")) == vWant);
  ASSERT_EQ(vMsgs.size(), 2u);
  EXPECT_NE(vMsgs[0].find("UNLOADED " + std::to_string(iRows) + " ROWS"), std::string::npos) << vMsgs[0];
  EXPECT_NE(vMsgs[1].find("ZORU461W 3 ROWS OF "), std::string::npos) << vMsgs[1];
  EXPECT_NE(vMsgs[1].find("(FIRST: ROW 2)"), std::string::npos) << vMsgs[1];
}

TEST(zorurunselWriter, WriteFailureStopsProducersAndGivesTheWriteCode)
{
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  Select sel;
  sel.output("/dev/full");
  zorurunWriter *pwriter = _writer(sel, "/dev/full", 2, 4096);   /* writes as the rows come */
  const int iRows = 3 * ZORURUN_CHANNEL_MIN / 20;
  pid_t pidA = _producer(pwriter->appair[0]->povf, _rows(1, iRows));
  pid_t pidB = _producer(pwriter->appair[1]->povf, _rows(10000, iRows));
  int iRc = 0;
  std::vector<std::string> vMsgs = zavtestMessages([&] { iRc = _runWriter(pwriter); });
  EXPECT_EQ(iRc, TOOLS_RC_IO | ENOSPC);
  EXPECT_EQ(_wait(pidA), 7);
  EXPECT_EQ(_wait(pidB), 7);
  ASSERT_FALSE(vMsgs.empty());
  EXPECT_EQ(vMsgs[0].rfind("ZORU347E", 0), 0u) << vMsgs[0];
  for (const std::string &str : vMsgs) EXPECT_EQ(str.find("ZORU410I"), std::string::npos) << str;
}

TEST(zorurunselWriter, FileThatCannotBeOpenedStopsProducersAndGivesTheOpenCode)
{
  zavtestTempDir dir;
  Select sel;
  sel.output(dir.file("missing/out.del"));
  zorurunWriter *pwriter = _writer(sel, dir.file("missing/out.del"), 1);
  /* more than the channel holds, so that the producer must see the stop */
  pid_t pid = _producer(pwriter->appair[0]->povf, _rows(1, 3 * ZORURUN_CHANNEL_MIN / 20));
  int iRc = 0;
  std::vector<std::string> vMsgs = zavtestMessages([&] { iRc = _runWriter(pwriter); });
  EXPECT_NE(iRc, 0);
  EXPECT_EQ(_wait(pid), 7);
  ASSERT_FALSE(vMsgs.empty());
  EXPECT_EQ(vMsgs[0].rfind("ZORU347E", 0), 0u) << vMsgs[0];
}

/* ---------------------------------------------------------- SELECT child */

namespace {

/* Fake partition reader: partition p sends rows p*100+1 .. p*100+50 to every pair;
   partition 9 is killed after its first record. */
int _fakeRead(const char *, int32_t, zorurunReader *preader)
{
  for (int i = 1; i <= 50; i++) {
    int16_t s = static_cast<int16_t>(preader->ilPartition * 100 + i);
    std::vector<unsigned char> v = _record(s, -s);
    for (int32_t p = 0; p < preader->iPairCount; p++) {
      zorurunPair *ppair = preader->appair[p];
      if (ppair->povf == nullptr) continue;
      if (ovfWrite(ppair->povf, v.data(), static_cast<int>(v.size())) == OVF_RC_STOPPED) ppair->povf = nullptr;
    }
    if (preader->ilPartition == 9) raise(SIGKILL);
  }
  for (int32_t p = 0; p < preader->iPairCount; p++)
    if (preader->appair[p]->povf != nullptr) ovfWrite(preader->appair[p]->povf, nullptr, 0);
  return 0;
}

struct ReadEntry {
  zorurunReadEntry pfnOld;
  ReadEntry() : pfnOld(_zorurunSetReadEntry(_fakeRead)) {}
  ~ReadEntry() { _zorurunSetReadEntry(pfnOld); }
};

/* Runs a SELECT child in this process; returns its result and the status stream's integers. */
int _runSelectChild(Select &sel, std::vector<int32_t> *pviStatus, std::vector<std::string> *pvMsgs)
{
  zorurun *prun = _zorurunCreate(nullptr, 4, 0, ZORURUN_LOCAL_NO, nullptr, nullptr, 0, nullptr);
  int iErr = 0;
  ovf *povf = ovfCreate(ZORURUN_STATUS_LEN, 1, &iErr);
  EXPECT_NE(povf, nullptr);
  zorurunSelectLaunch launch{prun, nullptr, sel.ptask, povf, 0};
  int iRc = 0;
  *pvMsgs = zavtestMessages([&] { iRc = _zorurunRunSelectChild(&launch); });
  for (;;) {
    int32_t il = 0;
    int iLen = 0;
    if (ovfRead(povf, &il, 4, &iLen) != 0 || iLen == 0) break;
    pviStatus->push_back(il);
  }
  ovfDestroy(povf);
  _zorurunDestroy(prun);
  return iRc;
}

}  // namespace

TEST(zorurunselSelectChild, TwoPartitionsIntoOneFile)
{
  zavtestTempDir dir;
  ReadEntry entry;
  Select sel;
  sel.output(dir.file("out.del")).parts({1, 2});
  std::vector<int32_t> viStatus;
  std::vector<std::string> vMsgs;
  EXPECT_EQ(_runSelectChild(sel, &viStatus, &vMsgs), 0);
  /* two readers and one writer, no remote partition */
  EXPECT_EQ(viStatus, (std::vector<int32_t>{3, 0}));
  std::vector<std::string> vGot = _lines(dir.file("out.del")), vWant;
  for (int p = 1; p <= 2; p++)
    for (int i = 1; i <= 50; i++) vWant.push_back(_line(static_cast<int16_t>(p * 100 + i), -(p * 100 + i)));
  std::sort(vGot.begin(), vGot.end());
  std::sort(vWant.begin(), vWant.end());
  EXPECT_EQ(vGot, vWant);
}

TEST(zorurunselSelectChild, KilledReaderEndsTheOthersAndGivesSignalCode)
{
  zavtestTempDir dir;
  ReadEntry entry;
  Select sel;
  sel.output(dir.file("out.del")).parts({1, 9});
  std::vector<int32_t> viStatus;
  std::vector<std::string> vMsgs;
  int iRc = _runSelectChild(sel, &viStatus, &vMsgs);
  EXPECT_EQ(iRc, ZORURUN_RC_SIGNAL);
  int iCount = 0;
  for (const std::string &s : vMsgs)
    if (s.rfind("ZORU368E", 0) == 0) {
      iCount++;
      EXPECT_NE(s.find("WITH SIGNAL 9"), std::string::npos) << s;
    }
  EXPECT_EQ(iCount, 1);
}

namespace {

/* Fake partition reader that reports the semaphore it was given: one row (partition, semaphore id). */
int _semRead(const char *, int32_t, zorurunReader *preader)
{
  std::vector<unsigned char> v = _record(static_cast<int16_t>(preader->ilPartition), preader->iSemId);
  for (int32_t p = 0; p < preader->iPairCount; p++) {
    ovfWrite(preader->appair[p]->povf, v.data(), static_cast<int>(v.size()));
    ovfWrite(preader->appair[p]->povf, nullptr, 0);
  }
  return 0;
}

}  // namespace

TEST(zorurunselSelectChild, SerializationSemaphoreOnlyWithQuiesceOrLock)
{
  const int32_t YES = ZORURUN_LOCAL_YES, NO = ZORURUN_LOCAL_NO;
  struct {
    int32_t iSerial, iQuiesce;
    bool boBackup;
    bool boSem;
  } acase[] = {{YES, NO, false, false}, {NO, YES, true, false}, {YES, YES, true, true}};
  zorurunReadEntry pfnOld = _zorurunSetReadEntry(_semRead);
  for (auto &c : acase) {
    zavtestTempDir dir;
    Select sel;
    sel.integer(TOKEN_SERIAL_EXEC, c.iSerial).integer(TOKEN_QUIESCE, c.iQuiesce).integer(TOKEN_LOCK, NO);
    /* a backup SELECT neither waits on the semaphore nor quiesces */
    if (c.boBackup) sel.integer(TOKEN_BACKUP, 1);
    sel.output(dir.file("out.del")).parts({1, 2});
    std::vector<int32_t> viStatus;
    std::vector<std::string> vMsgs;
    EXPECT_EQ(_runSelectChild(sel, &viStatus, &vMsgs), 0);
    std::vector<std::string> vLines = _lines(dir.file("out.del"));
    ASSERT_EQ(vLines.size(), 2u);
    std::sort(vLines.begin(), vLines.end());
    int iSem1 = std::atoi(vLines[0].c_str() + 2), iSem2 = std::atoi(vLines[1].c_str() + 2);
    EXPECT_EQ(iSem1, iSem2);
    EXPECT_EQ(iSem1 >= 0, c.boSem);
    /* the SELECT child removed the set */
    if (iSem1 >= 0) {
      EXPECT_EQ(semctl(iSem1, 0, GETVAL), -1);
    }
  }
  _zorurunSetReadEntry(pfnOld);
}

TEST(zorurunselSelectChild, NoWorkItemStillEndsCleanly)
{
  zavtestTempDir dir;
  ReadEntry entry;
  Select sel;
  sel.output(dir.file("out.del")).parts({});
  std::vector<int32_t> viStatus;
  std::vector<std::string> vMsgs;
  /* a writer without pair is dropped: nothing is forked, no file is made */
  EXPECT_EQ(_runSelectChild(sel, &viStatus, &vMsgs), 0);
  EXPECT_EQ(viStatus, (std::vector<int32_t>{0, 0}));
  EXPECT_TRUE(zavtestReadFile(dir.file("out.del")).empty());
}

TEST(zorurunselLists, PlacementOfOutputs)
{
  struct {
    uint32_t ulMode;
    uint32_t ulLocal;
    int iTasks;                 /* readers + writers */
    std::vector<int32_t> viWriterParts;
    uint32_t ulWriterKind;
  } acase[] = {
      /* current host: one writer for every partition */
      {UDB_MODE_CURRENT, ZORURUN_LOCAL_NO, 4, {-1}, ZORWRITE_ASYNC},
      /* current host in a local run: no writer, no reader */
      {UDB_MODE_CURRENT, ZORURUN_LOCAL_YES, 0, {}, 0},
      /* ON REMOTE HOST with local partitions: one synchronous writer each */
      {UDB_MODE_REMOTE, ZORURUN_LOCAL_NO, 6, {1, 2, 3}, ZORWRITE_SYNC},
  };
  for (auto &c : acase) {
    zavtestTempDir dir;
    Select sel;
    sel.output(dir.file("out.del"), c.ulMode).parts({1, 2, 3});
    zorurun *prunParent = _zorurunCreate(nullptr, 4, 0, c.ulLocal, nullptr, nullptr, 0, nullptr);
    int iTasks = -1, iRemote = -1;
    zorurun *prun = _zorurunCreateWithLists(nullptr, prunParent, sel.ptask, &iTasks, &iRemote);
    ASSERT_NE(prun, nullptr);
    EXPECT_EQ(iTasks, c.iTasks);
    EXPECT_EQ(iRemote, 0);
    EXPECT_EQ(prun->iKillSiblings, 1);
    std::vector<int32_t> viParts;
    for (auto *pwriter = static_cast<zorurunWriter *>(prun->plistWriters->pitemTop); pwriter != nullptr;
         pwriter = pwriter->pwriterNext) {
      viParts.push_back(pwriter->pwrite->iPartition);
      EXPECT_EQ(pwriter->pwrite->ulType & ZORWRITE_KIND_MASK, c.ulWriterKind);
      EXPECT_EQ(pwriter->iPairCount, pwriter->pwrite->iPartition < 0 ? 3 : 1);
    }
    EXPECT_EQ(viParts, c.viWriterParts);
    for (auto *preader = static_cast<zorurunReader *>(prun->plistReaders->pitemTop); preader != nullptr;
         preader = preader->preaderNext)
      EXPECT_EQ(preader->iPairCount, 1);
    _zorurunDestroyWithLists(prun);
    _zorurunDestroy(prunParent);
  }
}

/* ------------------------------------------------------------ end to end */

/*
** A DMS table space (extents of 4 pages over two containers) holding a table
** of 10 pages, three rows each (INTEGER r, VARCHAR, CHAR), unloaded by a
** SELECT child with the real partition reader into a DEL file of the first
** column.
*/
TEST(zorurunselEndToEnd, DmsTableIntoDelFile)
{
  using dmsspace::kObjId;
  using dmsspace::kTablePages;
  zavtestTempDir dir;
  std::string strDb = dir.path + "/db/";
  olist *plistCont = nullptr;
  dmsspace::Write(strDb, &plistCont, nullptr);
  ASSERT_FALSE(HasFatalFailure());
  ficcont *pficcont = static_cast<ficcont *>(plistCont->pitemTop);

  ficdataTableDesc desc{};
  int32_t ilPages = -1;
  ASSERT_EQ(unloadTableDesc("inst", pficcont, kObjId, &desc, &ilPages), 0);
  ASSERT_EQ(ilPages, static_cast<int32_t>(kTablePages));

  /* SELECT of the INTEGER column as DEL */
  Select sel;
  sel.output(dir.file("out.del"));
  sel.plistParts = olistCreate(0, nullptr, nullptr);
  olistAppend(sel.plistParts, partCreate(0, ilPages, nullptr, pficcont, pficcont, 0));
  static_cast<part *>(sel.plistParts->pitemTop)->pTableDesc = &desc;
  sel.add(zoratomCreate(gapnameTotalToken[TOKEN_PARTS_TAKEN], ZORATOM_OLIST, ZORATOM_BORROWED, (uintptr_t)sel.plistParts,
                        nullptr, nullptr));
  sel.add(zoratomCreate(gapnameTotalToken[TOKEN_INSTANCE_USER], ZORATOM_OCHAR, 0, (uintptr_t)zavtestText("inst"), nullptr, nullptr));
  osysibmSystables *ptable = static_cast<osysibmSystables *>(std::calloc(1, sizeof(osysibmSystables)));
  ptable->sOBID = kObjId;
  sel.add(zoratomCreate(gapnameTotalToken[TOKEN_SYSTABLE], ZORATOM_SYSIBM, ZORATOM_BORROWED, (uintptr_t)ptable, nullptr,
                        nullptr));
  /* the task's converter is replaced by one of the first column */
  oconvertDestroy(sel.pconvert);
  zoratomDestroy(zortaskRemoveAtom(sel.ptask, gapnameTotalToken[TOKEN_CONVERTER]));
  orow *prowSource = orowCreate(2), *prowTarget = orowCreate(2);
  const ucoreCol acol[] = {{0x0002, 0xB002, 4, desc.pcolumns[0].sOffset, sel.cores.make(ZORUCORE_FLAG_DELIM)},
                           ucoreEndCol(sel.cores.end())};
  for (const ucoreCol &col : acol) {
    rowColDef defSource{};
    defSource.iType = col.usSource;
    defSource.iLength = col.iLength;
    defSource.sOffset = col.sOffset;
    defSource.sNullOffset = -1;
    orowAddColumn(prowSource, &defSource);
    rowColDef defTarget{};
    defTarget.iType = col.usTarget;
    defTarget.iLength = col.iLength;
    defTarget.sOffset = -1;
    defTarget.sNullOffset = -1;
    defTarget.pExtra = col.pcore;
    orowAddColumn(prowTarget, &defTarget);
  }
  int iRc = 0;
  sel.pconvert = oconvertCreate(prowSource, prowTarget, OCONVERT_OWN_SOURCE | OCONVERT_OWN_TARGET, &iRc);
  ASSERT_NE(sel.pconvert, nullptr);
  sel.add(zoratomCreate(gapnameTotalToken[TOKEN_CONVERTER], ZORATOM_CONVERTER, ZORATOM_BORROWED, (uintptr_t)sel.pconvert,
                        nullptr, nullptr));

  std::vector<int32_t> viStatus;
  std::vector<std::string> vMsgs;
  EXPECT_EQ(_runSelectChild(sel, &viStatus, &vMsgs), 0);
  EXPECT_EQ(viStatus, (std::vector<int32_t>{2, 0}));
  std::string strWant;
  for (uint32_t p = 0; p < kTablePages; p++)
    for (int i = 0; i < 3; i++) strWant += std::to_string(p * 10 + i) + "\n";
  std::vector<unsigned char> v = zavtestReadFile(dir.file("out.del"));
  EXPECT_EQ(std::string(v.begin(), v.end()), strWant);
  std::free(ptable);
  std::free(desc.pcolumns);
  olistDestroy(plistCont);
}
