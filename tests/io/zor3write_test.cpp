/*
** zor3write_test.cpp
**   The writer on real files in a temporary directory: the synchronous and
**   the threaded writer give the same files byte for byte (rows larger than a
**   buffer, rotation at FILEMAXSIZE with its file names and ZORU410I
**   reports), MAXROWS / SIZELIMIT and the IXF header take-back, append and
**   replace, standard output, repeated flushes, LOB files with and without
**   location specifiers, LOB name cycling without overwriting, and failures
**   (full disk, open failures, a failed open inside the thread) that are
**   reported and never hang.  An alarm bounds every test.
*/
#include "io/zor3write.h"

#include <gtest/gtest.h>

#include "tests/zavtest.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "common/obf.h"
#include "common/ochar.h"
#include "common/olist.h"
#include "model/token.h"
#include "model/tools.h"
#include "model/udb.h"
#include "model/zoratom.h"
#include "model/zortask.h"

namespace {

void _add(zortask *ptask, zoratom *patom)
{
  ASSERT_NE(patom, nullptr);
  ASSERT_EQ(zortaskAddAtom(ptask, patom), 0);
}

void *_cloneText(void *p)
{
  return ocharClone(static_cast<ochar *>(p));
}

void _destroyText(void *p)
{
  ocharDestroy(static_cast<ochar *>(p));
}

/* A LOB directory for the partitions listed (none: every partition). */
struct LobDir {
  std::string strPath;
  std::vector<int> viParts;
};

/* A SELECT task with the atoms the writer reads. */
struct Select {
  zortask *ptask = nullptr;
  olist *plistLob = nullptr;   /* borrowed by its atom, as the parser makes it */

  explicit Select(const char *pcQualifier = "ZAV", const char *pcTable = "T1")
  {
    ptask = zortaskCreateNamed(gapnameTotalToken[TOKEN_SELECT]);
    if (pcTable != nullptr)
      _add(ptask, zoratomCreate(gapnameTotalToken[TOKEN_TBNAME], ZORATOM_OCHAR, 0, (uintptr_t)zavtestText(pcTable), nullptr, nullptr));
    if (pcQualifier != nullptr)
      _add(ptask, zoratomCreate(gapnameTotalToken[TOKEN_TBQUALIFIER], ZORATOM_OCHAR, 0, (uintptr_t)zavtestText(pcQualifier),
                                nullptr, nullptr));
  }
  ~Select()
  {
    zortaskDestroy(ptask);
    if (plistLob != nullptr) {
      olistIterator iter;
      olistIteratorInit(&iter, plistLob);
      while (olistIteratorNext(&iter)) udbLobPathDestroy(static_cast<udbLobPath *>(olistIteratorGetRef(&iter)));
      olistIteratorDestroy(&iter);
      olistDestroy(plistLob);
    }
  }
  Select &integer(int iToken, int32_t iValue)
  {
    _add(ptask, zoratomCreate(gapnameTotalToken[iToken], ZORATOM_INTEGER, ZORATOM_BORROWED, (uintptr_t)(uint32_t)iValue,
                              nullptr, nullptr));
    return *this;
  }
  /* a size {unit, number}: unit 1 K, 2 M, 3 G, 0 bytes */
  Select &size(int iToken, int32_t iUnit, int32_t iNumber)
  {
    _add(ptask, zoratomCreateType(gapnameTotalToken[iToken], iUnit, iNumber, nullptr, nullptr));
    return *this;
  }
  Select &lobFiles(const std::vector<std::string> &vNames)
  {
    olist *plist = olistCreateRef(_cloneText, _destroyText);
    for (const std::string &str : vNames) olistAppendRef(plist, zavtestText(str), 1);
    _add(ptask, zoratomCreate(gapnameTotalToken[TOKEN_LOBFILE], ZORATOM_OLIST, 0, (uintptr_t)plist, nullptr, nullptr));
    return *this;
  }
  Select &lobDirs(const std::vector<LobDir> &vDirs)
  {
    plistLob = olistCreateRef(nullptr, nullptr);
    for (const LobDir &dir : vDirs) {
      udbLobPath *plob = udbLobPathCreate();
      plob->pcharPath = zavtestText(dir.strPath);
      if (!dir.viParts.empty()) {
        plob->pobfPart = obfCreate(255);
        for (int i : dir.viParts) obfSet(plob->pobfPart, static_cast<uint32_t>(i));
      }
      olistAppendRef(plistLob, plob, 0);
    }
    _add(ptask, zoratomCreate(gapnameTotalToken[TOKEN_LOB], ZORATOM_OLIST, ZORATOM_BORROWED, (uintptr_t)plistLob, nullptr,
                              nullptr));
    return *this;
  }
};

/* An output item; REPLACE unless told otherwise. */
struct Output {
  udbOutFile *pout;
  explicit Output(const std::string &strName, uint32_t ulMode = UDB_MODE_REPLACE | UDB_MODE_CURRENT)
      : pout(udbOutFileCreate(zavtestText(strName), nullptr, nullptr, ulMode))
  {
  }
  ~Output() { udbOutFileDestroy(pout); }
};

std::string _content(const std::string &strPath)
{
  std::vector<unsigned char> v = zavtestReadFile(strPath);
  return std::string(v.begin(), v.end());
}

/* Every file of the directory with its content, by name. */
std::map<std::string, std::string> _files(const zavtestTempDir &dir)
{
  std::map<std::string, std::string> m;
  for (const auto &entry : std::filesystem::directory_iterator(dir.path))
    if (entry.is_regular_file()) m[entry.path().filename().string()] = _content(entry.path().string());
  return m;
}

/* Rows of varied lengths (1 to iMax bytes), each distinct. */
std::vector<std::string> _rows(int iCount, int iMax)
{
  std::vector<std::string> v;
  for (int i = 0; i < iCount; i++) {
    int iLength = 1 + (i * 37 + i / 3) % iMax;
    std::string str = std::to_string(i) + ":";
    while (static_cast<int>(str.size()) < iLength) str += static_cast<char>('a' + (str.size() + i) % 26);
    str.resize(static_cast<size_t>(iLength));
    v.push_back(str);
  }
  return v;
}

/* What rotation at FILEMAXSIZE must give: a file that holds bytes is closed
** before a row that would take it past the limit. */
std::vector<std::string> _expectedFiles(const std::vector<std::string> &vRows, int64_t llMax)
{
  std::vector<std::string> v(1);
  for (const std::string &str : vRows) {
    if (llMax >= 0 && !v.back().empty() && static_cast<int64_t>(v.back().size() + str.size()) > llMax) v.emplace_back();
    v.back() += str;
  }
  return v;
}

/* Name of file i of a rotation over "out.del". */
std::string _rotated(int i, const char *pcBase = "out")
{
  if (i == 0) return std::string(pcBase) + ".del";
  char ac[16];
  std::snprintf(ac, sizeof ac, ".%3.3d", i);
  return pcBase + std::string(ac);
}

struct RunResult {
  int iRcOpen = 0;
  std::vector<int> viRc;       /* result of each row write */
  int iRcFlush = 0;
  int iRcClose = 0;
  std::vector<std::string> vMessages;
};

/* The owner's sequence: create, open, [header], rows, flush, close, destroy. */
RunResult _run(uint32_t ulType, Select &select, udbOutFile *pout, int32_t ilCapacity, const std::vector<std::string> &vRows,
         int32_t iPartition = -1, const std::string *pstrHeader = nullptr, ochar *pcharHost = nullptr)
{
  RunResult run;
  run.vMessages = zavtestMessages([&] {
    zorwrite *pwrite = writeCreate(ulType, iPartition, pout, ilCapacity, pcharHost, select.ptask);
    run.iRcOpen = writeOpen(pwrite);
    if (pstrHeader != nullptr) {
      EXPECT_EQ(writeSetFileHeader(pwrite, pstrHeader->data(), static_cast<int32_t>(pstrHeader->size())), 0);
    }
    for (const std::string &str : vRows)
      run.viRc.push_back(pwrite->procWrite(pwrite, str.data(), static_cast<int32_t>(str.size())));
    run.iRcFlush = writeFlush(pwrite);
    run.iRcClose = writeClose(pwrite);
    writeDestroy(pwrite);
  });
  return run;
}

std::string _joined(const std::vector<std::string> &v, size_t ulCount)
{
  std::string str;
  for (size_t i = 0; i < ulCount && i < v.size(); i++) str += v[i];
  return str;
}

const uint32_t gaulKinds[] = {ZORWRITE_SYNC, ZORWRITE_ASYNC};

class Zor3writeTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() { ASSERT_EQ(tokenInitKeyword(), 0); }
  void SetUp() override { alarm(120); }   /* a hang fails the test instead of stalling the suite */
  void TearDown() override { alarm(0); }
  zavtestTempDir dir;
};

/* ------------------------------------------------------------------ rows */

TEST_F(Zor3writeTest, SyncAndThreadedGiveTheExpectedFilesByteForByte)
{
  struct Case {
    const char *pcName;
    int32_t iUnit, iNumber;     /* FILEMAXSIZE; iNumber < 0: none */
    int32_t ilCapacity;
    int iRows, iMaxRow;
  } aCases[] = {
      {"no limit, rows longer than the buffer", 0, -1, 64, 300, 150},
      {"FILEMAXSIZE 10K, default buffer lowered to it", 1, 10, 0, 2000, 60},
      {"FILEMAXSIZE above a smaller buffer", 0, 1000, 256, 400, 300},
      {"rows longer than FILEMAXSIZE", 0, 100, 0, 40, 250},
      {"FILEMAXSIZE equal to the buffer", 0, 512, 512, 300, 100},
  };
  for (const Case &c : aCases) {
    SCOPED_TRACE(c.pcName);
    std::vector<std::string> vRows = _rows(c.iRows, c.iMaxRow);
    int64_t llMax = c.iNumber < 0 ? -1 : (c.iUnit == 1 ? c.iNumber * 1024LL : c.iNumber);
    std::vector<std::string> vExpected = _expectedFiles(vRows, llMax);
    std::map<std::string, std::string> aFiles[2];
    for (int k = 0; k < 2; k++) {
      SCOPED_TRACE(gaulKinds[k] == ZORWRITE_SYNC ? "synchronous" : "threaded");
      zavtestTempDir dirCase;
      Select select;
      if (c.iNumber >= 0) select.size(TOKEN_FILEMAXSIZE, c.iUnit, c.iNumber);
      Output out(dirCase.file("out.del"));
      RunResult run = _run(gaulKinds[k], select, out.pout, c.ilCapacity, vRows);
      EXPECT_EQ(run.iRcOpen, 0);
      EXPECT_EQ(run.iRcFlush, 0);
      for (int iRc : run.viRc) ASSERT_EQ(iRc, 0);
      aFiles[k] = _files(dirCase);
      ASSERT_EQ(aFiles[k].size(), vExpected.size());
      for (size_t i = 0; i < vExpected.size(); i++) {
        ASSERT_EQ(aFiles[k].count(_rotated(static_cast<int>(i))), 1u) << _rotated(static_cast<int>(i));
        EXPECT_EQ(aFiles[k][_rotated(static_cast<int>(i))], vExpected[i]) << "file " << i;
      }
    }
    EXPECT_EQ(aFiles[0], aFiles[1]);
  }
}

TEST_F(Zor3writeTest, RotationReportsEachFileWithItsOwnRows)
{
  std::vector<std::string> vRows(5, std::string(40, 'x'));   /* two rows per 100-byte file */
  ochar *pcharHost = zavtestText("hostA");
  for (uint32_t ulKind : gaulKinds) {
    SCOPED_TRACE(ulKind);
    zavtestTempDir dirCase;
    Select select;
    select.size(TOKEN_FILEMAXSIZE, 0, 100);
    Output out(dirCase.file("out.del"));
    RunResult run = _run(ulKind, select, out.pout, 0, vRows, 3, nullptr, pcharHost);
    std::string strBase = dirCase.file("out_3");
    std::map<std::string, std::string> files = _files(dirCase);
    EXPECT_EQ(files.size(), 3u);
    EXPECT_EQ(files["out_3.del"].size(), 80u);
    EXPECT_EQ(files["out_3.001"].size(), 80u);
    EXPECT_EQ(files["out_3.002"].size(), 40u);
    auto msg = [&](int iRows, const std::string &strFile) {
      return "ZORU410I ZAV UTILITY HAS UNLOADED " + std::to_string(iRows) + " ROWS ON hostA HOST FOR ZAV.T1 IN " +
             strFile + ".\n";
    };
    /* whether the writing thread or the writer itself closed the file */
    EXPECT_EQ(run.vMessages, (std::vector<std::string>{msg(2, strBase + ".del"), msg(2, strBase + ".001"),
                                                       msg(1, strBase + ".002")}));
  }
  ocharDestroy(pcharHost);
}

TEST_F(Zor3writeTest, EveryRotatedFileBeginsWithTheFileHeader)
{
  /* the header counts in FILEMAXSIZE; a file is closed only once it holds a row after it */
  const std::string strHeader(60, 'H');
  struct Case {
    const char *pcName;
    int32_t iFileMax;
    int iRows, iRowSize;
    std::vector<int> viRowsPerFile;
  } aCases[] = {
      {"two rows after the header per file", 100, 5, 20, {2, 2, 1}},
      {"a row longer than the room after the header still gets a file", 70, 3, 40, {1, 1, 1}},
      {"no rows: the header alone", 100, 0, 20, {0}},
  };
  for (const Case &c : aCases) {
    for (uint32_t ulKind : gaulKinds) {
      SCOPED_TRACE(std::string(c.pcName) + (ulKind == ZORWRITE_SYNC ? " synchronous" : " threaded"));
      zavtestTempDir dirCase;
      Select select;
      select.size(TOKEN_FILEMAXSIZE, 0, c.iFileMax);
      std::vector<std::string> vRows;
      for (int i = 0; i < c.iRows; i++) vRows.push_back(std::string(static_cast<size_t>(c.iRowSize), 'a' + i));
      Output out(dirCase.file("out.del"));
      RunResult run = _run(ulKind, select, out.pout, 0, vRows, -1, &strHeader);
      for (int iRc : run.viRc) EXPECT_EQ(iRc, 0);
      EXPECT_EQ(run.iRcFlush, 0);
      EXPECT_EQ(run.iRcClose, 0);
      std::map<std::string, std::string> files = _files(dirCase);
      ASSERT_EQ(files.size(), c.viRowsPerFile.size());
      size_t ulRow = 0;
      for (size_t i = 0; i < c.viRowsPerFile.size(); i++) {
        std::string strExpected = strHeader;
        for (int k = 0; k < c.viRowsPerFile[i]; k++) strExpected += vRows[ulRow++];
        EXPECT_EQ(files[_rotated(static_cast<int>(i))], strExpected) << _rotated(static_cast<int>(i));
      }
      /* each file is reported with its own rows */
      ASSERT_EQ(run.vMessages.size(), c.viRowsPerFile.size());
      for (size_t i = 0; i < c.viRowsPerFile.size(); i++)
        EXPECT_NE(run.vMessages[i].find("UNLOADED " + std::to_string(c.viRowsPerFile[i]) + " ROWS"), std::string::npos)
            << run.vMessages[i];
    }
  }

  /* a LOB-file writer takes no header, nor a writer that has written rows */
  Select select;
  zorwrite *pwrite = writeCreate(ZORWRITE_LOB, -1, nullptr, 0, nullptr, select.ptask);
  EXPECT_EQ(writeSetFileHeader(pwrite, "H", 1), ORC_INVALID);
  writeDestroy(pwrite);
}

TEST_F(Zor3writeTest, StandardOutputIsNotRotated)
{
  Select select;
  select.size(TOKEN_FILEMAXSIZE, 0, 10);
  for (uint32_t ulKind : gaulKinds) {
    zorwrite *pwrite = writeCreate(ulKind, -1, nullptr, 0, nullptr, select.ptask);
    EXPECT_EQ(pwrite->llFileMaxSize, -1);
    EXPECT_EQ(pwrite->iLimited, 0);
    writeDestroy(pwrite);
  }
}

TEST_F(Zor3writeTest, LimitsStopTheCallerAtTheRightRow)
{
  const std::string strHeader = "HEADER-RECORD\n";
  struct Case {
    const char *pcName;
    int iToken;                  /* TOKEN_MAXROWS or TOKEN_SIZELIMIT */
    int32_t iValue;
    bool boHeader;
    size_t ulRowsWritten;        /* rows in the file */
    int iFirstLimit;             /* index of the first write answered with the limit code */
  } aCases[] = {
      {"MAXROWS 5", TOKEN_MAXROWS, 5, false, 5, 5},
      {"MAXROWS 5 after an IXF header", TOKEN_MAXROWS, 5, true, 5, 5},
      {"MAXROWS 0 after an IXF header writes the header alone", TOKEN_MAXROWS, 0, true, 0, 0},
      {"SIZELIMIT reached by the third row, which is written", TOKEN_SIZELIMIT, 30, false, 3, 2},
      {"SIZELIMIT passed by the third row", TOKEN_SIZELIMIT, 25, false, 3, 2},
  };
  std::vector<std::string> vRows(10, "0123456789");
  for (const Case &c : aCases) {
    for (uint32_t ulKind : gaulKinds) {
      SCOPED_TRACE(std::string(c.pcName) + (ulKind == ZORWRITE_SYNC ? " synchronous" : " threaded"));
      zavtestTempDir dirCase;
      Select select;
      if (c.iToken == TOKEN_MAXROWS) select.integer(TOKEN_MAXROWS, c.iValue);
      else select.size(TOKEN_SIZELIMIT, 0, c.iValue);
      Output out(dirCase.file("out.del"));
      RunResult run = _run(ulKind, select, out.pout, 16, vRows, -1, c.boHeader ? &strHeader : nullptr);
      ASSERT_EQ(run.viRc.size(), vRows.size());
      /* from the limit on every write is answered with the limit code */
      for (int i = 0; i < static_cast<int>(run.viRc.size()); i++)
        EXPECT_EQ(run.viRc[i], i >= c.iFirstLimit ? ZORWRITE_RC_LIMIT : 0) << "row " << i;
      std::string strHead = c.boHeader ? strHeader : "";
      EXPECT_EQ(_content(dirCase.file("out.del")), strHead + _joined(vRows, c.ulRowsWritten));
      ASSERT_EQ(run.vMessages.size(), 1u);
      EXPECT_NE(run.vMessages[0].find("UNLOADED " + std::to_string(c.ulRowsWritten) + " ROWS"), std::string::npos)
          << run.vMessages[0];
    }
  }
}

/* A block of rows stands for the rows one after the other: between rows
   written one by one, small blocks (into the buffer) and large ones (written
   from the caller's memory once what the writer holds is out) give the same
   file and row count; a writer with limits takes no block. */
TEST_F(Zor3writeTest, BlocksOfRowsGiveTheFileAndCountOfTheirRows)
{
  const std::string strHeader = "HEADER-RECORD\n";
  std::vector<std::string> vRows = _rows(3000, 120);
  /* pieces: rows taken one by one (false) or as one block (true), and how many */
  const std::vector<std::pair<bool, size_t>> vPieces = {{false, 7},   {true, 3},    {true, 1500}, {false, 1},
                                                       {true, 0},    {true, 1200}, {false, 40},  {true, 249}};
  for (bool boHeader : {false, true}) {
    for (uint32_t ulKind : gaulKinds) {
      for (int32_t ilCapacity : {0, 4096}) {
        SCOPED_TRACE(std::string(boHeader ? "header, " : "") + (ulKind == ZORWRITE_SYNC ? "synchronous" : "threaded") +
                     ", buffer " + std::to_string(ilCapacity));
        zavtestTempDir dirCase;
        Select select;
        Output out(dirCase.file("out.del"));
        std::vector<std::string> vMessages = zavtestMessages([&] {
          zorwrite *pwrite = writeCreate(ulKind, -1, out.pout, ilCapacity, nullptr, select.ptask);
          ASSERT_EQ(writeOpen(pwrite), 0);
          if (boHeader) {
            EXPECT_EQ(writeSetFileHeader(pwrite, strHeader.data(), static_cast<int32_t>(strHeader.size())), 0);
          }
          EXPECT_TRUE(writeTakesBlocks(pwrite));
          size_t ulNext = 0;
          for (const auto &[boBlock, ulCount] : vPieces) {
            if (boBlock) {
              std::string strBlock = _joined(std::vector<std::string>(vRows.begin() + static_cast<long>(ulNext), vRows.end()),
                                             ulCount);
              EXPECT_EQ(writeBlock(pwrite, strBlock.data(), static_cast<int64_t>(strBlock.size()),
                                   static_cast<int64_t>(ulCount)),
                        0);
            } else {
              for (size_t i = ulNext; i < ulNext + ulCount; i++)
                EXPECT_EQ(pwrite->procWrite(pwrite, vRows[i].data(), static_cast<int32_t>(vRows[i].size())), 0);
            }
            ulNext += ulCount;
          }
          ASSERT_EQ(ulNext, vRows.size());
          EXPECT_EQ(writeFlush(pwrite), 0);
          EXPECT_EQ(writeClose(pwrite), 0);
          writeDestroy(pwrite);
        });
        EXPECT_EQ(_content(dirCase.file("out.del")), (boHeader ? strHeader : "") + _joined(vRows, vRows.size()));
        ASSERT_EQ(vMessages.size(), 1u);
        EXPECT_NE(vMessages[0].find("UNLOADED " + std::to_string(vRows.size()) + " ROWS"), std::string::npos)
            << vMessages[0];
      }
    }
  }
  /* MAXROWS, SIZELIMIT or FILEMAXSIZE: rows one by one, so that a limit stops at its row */
  for (int iCase = 0; iCase < 3; iCase++) {
    zavtestTempDir dirCase;
    Select select;
    if (iCase == 0) select.integer(TOKEN_MAXROWS, 5);
    if (iCase == 1) select.size(TOKEN_SIZELIMIT, 0, 1000);
    if (iCase == 2) select.size(TOKEN_FILEMAXSIZE, 0, 1000);
    Output out(dirCase.file("out.del"));
    zavtestMessages([&] {
      zorwrite *pwrite = writeCreate(ZORWRITE_ASYNC, -1, out.pout, 0, nullptr, select.ptask);
      ASSERT_EQ(writeOpen(pwrite), 0);
      EXPECT_FALSE(writeTakesBlocks(pwrite)) << iCase;
      EXPECT_EQ(writeBlock(pwrite, "a\n", 2, 1), ORC_INVALID) << iCase;
      writeFlush(pwrite);
      writeClose(pwrite);
      writeDestroy(pwrite);
    });
  }
}

TEST_F(Zor3writeTest, AppendKeepsAndReplaceTruncates)
{
  std::vector<std::string> vRows = _rows(50, 30);
  for (uint32_t ulKind : gaulKinds) {
    for (uint32_t ulMode : {UDB_MODE_REPLACE, UDB_MODE_APPEND}) {
      SCOPED_TRACE(std::to_string(ulKind) + "/" + std::to_string(ulMode));
      zavtestTempDir dirCase;
      std::ofstream(dirCase.file("out.del")) << "previous content\n";
      Select select;
      Output out(dirCase.file("out.del"), ulMode | UDB_MODE_CURRENT);
      _run(ulKind, select, out.pout, 100, vRows);
      std::string strPrefix = ulMode == UDB_MODE_APPEND ? "previous content\n" : "";
      EXPECT_EQ(_content(dirCase.file("out.del")), strPrefix + _joined(vRows, vRows.size()));
      struct stat st;
      ASSERT_EQ(stat(dirCase.file("out.del").c_str(), &st), 0);
    }
  }
  /* a new file is made with mode 0644 (less the umask) */
  zavtestTempDir dirNew;
  Select select;
  Output out(dirNew.file("new.del"));
  mode_t old = umask(022);
  _run(ZORWRITE_SYNC, select, out.pout, 0, vRows);
  umask(old);
  struct stat st;
  ASSERT_EQ(stat(dirNew.file("new.del").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST_F(Zor3writeTest, StandardOutputIsWrittenNeverClosedAndReportedAsStdout)
{
  std::vector<std::string> vRows = _rows(100, 40);
  for (uint32_t ulKind : gaulKinds) {
    SCOPED_TRACE(ulKind);
    std::string strPath = dir.path + "/stdout" + std::to_string(ulKind);
    std::fflush(stdout);
    int iSaved = dup(1);
    int iFd = open(strPath.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
    ASSERT_GE(iFd, 0);
    dup2(iFd, 1);
    close(iFd);
    Select select(nullptr, "T1");
    RunResult run = _run(ulKind, select, nullptr, 50, vRows);
    int iStillOpen = fcntl(1, F_GETFD);
    dup2(iSaved, 1);
    close(iSaved);
    EXPECT_NE(iStillOpen, -1);
    EXPECT_EQ(_content(strPath), _joined(vRows, vRows.size()));
    EXPECT_EQ(run.vMessages, std::vector<std::string>{"ZORU410I ZAV UTILITY HAS UNLOADED 100 ROWS ON  HOST FOR \"\".T1 IN stdout.\n"});
  }
}

TEST_F(Zor3writeTest, RepeatedFlushesWriteEachByteOnce)
{
  std::vector<std::string> vRows = _rows(30, 20);
  for (uint32_t ulKind : gaulKinds) {
    SCOPED_TRACE(ulKind);
    zavtestTempDir dirCase;
    Select select;
    Output out(dirCase.file("out.del"));
    zavtestMessages([&] {
      zorwrite *pwrite = writeCreate(ulKind, -1, out.pout, 1000, nullptr, select.ptask);
      ASSERT_EQ(writeOpen(pwrite), 0);
      for (size_t i = 0; i < vRows.size(); i++) {
        EXPECT_EQ(pwrite->procWrite(pwrite, vRows[i].data(), static_cast<int32_t>(vRows[i].size())), 0);
        if (i % 7 == 0) {
          EXPECT_EQ(writeFlush(pwrite), 0);
        }
      }
      EXPECT_EQ(writeFlush(pwrite), 0);
      EXPECT_EQ(writeFlush(pwrite), 0);
      writeClose(pwrite);
      writeDestroy(pwrite);
    });
    EXPECT_EQ(_content(dirCase.file("out.del")), _joined(vRows, vRows.size()));
  }
}

TEST_F(Zor3writeTest, BufferCapacityComesFromTheConfigurationAndFileMaxSize)
{
  std::filesystem::create_directories(dir.file("cfg"));
  std::ofstream(dir.file("cfg/db2zav.cfg")) << "bufsize=4096\n";
  const char *pcOld = std::getenv("TOPZAV");
  std::string strOld = pcOld != nullptr ? pcOld : "";
  struct Case {
    bool boTopzav;
    int32_t ilGiven;
    int32_t iFileMax;   /* bytes, -1 none */
    int32_t ilExpected;
  } aCases[] = {
      {false, 0, -1, ZORWRITE_DEFAULT_BUFSIZE},
      {true, 0, -1, 4096},
      {true, 1000, -1, 1000},
      {true, 0, 1024, 1024},
      {true, 0, 10000, 4096},
  };
  for (const Case &c : aCases) {
    if (c.boTopzav) setenv("TOPZAV", dir.path.c_str(), 1);
    else unsetenv("TOPZAV");
    Select select;
    if (c.iFileMax >= 0) select.size(TOKEN_FILEMAXSIZE, 0, c.iFileMax);
    Output out(dir.file("out.del"));
    for (uint32_t ulKind : gaulKinds) {
      zorwrite *pwrite = writeCreate(ulKind, -1, out.pout, c.ilGiven, nullptr, select.ptask);
      zorwriteBuff *pbuff = ulKind == ZORWRITE_SYNC ? pwrite->pbuffCurrent
                                                    : static_cast<zorwriteBuff *>(pwrite->pchaineFree->pitemTop);
      EXPECT_EQ(pbuff->ilCapacity, c.ilExpected) << c.boTopzav << " " << c.ilGiven << " " << c.iFileMax;
      EXPECT_EQ(pwrite->iLimited, c.iFileMax >= 0 ? 1 : 0);
      writeDestroy(pwrite);
    }
  }
  if (pcOld != nullptr) setenv("TOPZAV", strOld.c_str(), 1);
  else unsetenv("TOPZAV");
}

/* ------------------------------------------------------------- LOB files */

/* Writes each LOB through the LOB writer in pieces of iPiece bytes and
** returns, per LOB, the file name and the offset it was declared at. */
std::vector<std::pair<std::string, int64_t>> _writeLobs(zorwrite *pwrite, const std::vector<std::string> &vLobs, size_t ulPiece,
                                                        int *piRc = nullptr)
{
  std::vector<std::pair<std::string, int64_t>> v;
  for (const std::string &strLob : vLobs) {
    int iRc = writeDeclareWrite(pwrite, static_cast<int64_t>(strLob.size()));
    if (piRc != nullptr) *piRc = iRc;
    if (iRc != 0) break;
    v.emplace_back(_charText(pwrite->pcharLobName), pwrite->llBytesInFile);
    for (size_t ul = 0; ul < strLob.size(); ul += ulPiece) {
      size_t ulLength = std::min(ulPiece, strLob.size() - ul);
      EXPECT_EQ(pwrite->procWrite(pwrite, strLob.data() + ul, static_cast<int32_t>(ulLength)), 0);
    }
  }
  return v;
}

TEST_F(Zor3writeTest, EachLobGetsItsOwnFileWithoutLocationSpecifiers)
{
  /* pieces larger than the buffer, a zero-length LOB between two others */
  std::vector<std::string> vLobs = {std::string(5000, 'a'), "", std::string(300, 'c'), std::string(70, 'd')};
  for (int32_t iPartition : {3, -1}) {
    SCOPED_TRACE(iPartition);
    zavtestTempDir dirCase;
    std::string strCwd = std::filesystem::current_path().string();
    ASSERT_EQ(chdir(dirCase.path.c_str()), 0);   /* no LOB directory: the current one */
    Select select;
    select.lobFiles({"lob"});
    std::vector<std::string> vMessages;
    std::vector<std::pair<std::string, int64_t>> vPlaces;
    vMessages = zavtestMessages([&] {
      zorwrite *pwrite = writeCreate(ZORWRITE_LOB, iPartition, nullptr, 256, nullptr, select.ptask);
      EXPECT_EQ(pwrite->ulType, ZORWRITE_LOB | ZORWRITE_LOBFILE);
      EXPECT_EQ(pwrite->llFileMaxSize, 0);
      vPlaces = _writeLobs(pwrite, vLobs, 700);
      EXPECT_EQ(writeFlush(pwrite), 0);
      EXPECT_EQ(writeClose(pwrite), 0);
      writeDestroy(pwrite);
    });
    ASSERT_EQ(chdir(strCwd.c_str()), 0);
    EXPECT_TRUE(vMessages.empty());   /* a LOB-file writer issues no ZORU410I */
    std::string strPrefix = iPartition >= 0 ? "lob_003." : "lob.";
    ASSERT_EQ(vPlaces.size(), vLobs.size());
    std::map<std::string, std::string> files = _files(dirCase);
    EXPECT_EQ(files.size(), vLobs.size());
    for (size_t i = 0; i < vLobs.size(); i++) {
      char ac[24];   /* any size_t in decimal */
      std::snprintf(ac, sizeof ac, "%3.3zu", i + 1);
      EXPECT_EQ(vPlaces[i].first, strPrefix + ac);
      EXPECT_EQ(vPlaces[i].second, 0);
      EXPECT_EQ(files[strPrefix + ac], vLobs[i]) << i;
    }
  }
}

TEST_F(Zor3writeTest, LocationSpecifiersPutTheLobsOneAfterAnotherInOneFile)
{
  std::vector<std::string> vLobs = {std::string(5000, 'a'), "", "bb", std::string(300, 'c')};
  for (bool boFromTask : {true, false}) {
    SCOPED_TRACE(boFromTask ? "LLS ON in the task" : "LLS asked by the caller");
    zavtestTempDir dirCase;
    Select select;
    select.lobFiles({"lob"}).lobDirs({{dirCase.path, {}}});
    if (boFromTask) select.integer(TOKEN_LLS, 1);
    zorwrite *pwrite = writeCreate(boFromTask ? ZORWRITE_LOB : (ZORWRITE_LOB | ZORWRITE_LLS), 3, nullptr, 1024, nullptr,
                                   select.ptask);
    EXPECT_EQ(pwrite->ulType, ZORWRITE_LOB | ZORWRITE_LOBFILE | ZORWRITE_LLS);
    EXPECT_EQ(pwrite->llFileMaxSize, ZORWRITE_LLS_FILEMAXSIZE);
    std::vector<std::pair<std::string, int64_t>> vPlaces = _writeLobs(pwrite, vLobs, 512);
    EXPECT_EQ(writeFlush(pwrite), 0);
    writeClose(pwrite);
    writeDestroy(pwrite);
    std::string strFile = dirCase.path + "/lob_003.001";
    int64_t llOffset = 0;
    for (size_t i = 0; i < vLobs.size(); i++) {
      EXPECT_EQ(vPlaces[i].first, strFile);
      EXPECT_EQ(vPlaces[i].second, llOffset) << i;
      llOffset += static_cast<int64_t>(vLobs[i].size());
    }
    EXPECT_EQ(_files(dirCase).size(), 1u);
    EXPECT_EQ(_content(strFile), _joined(vLobs, vLobs.size()));
  }
}

TEST_F(Zor3writeTest, LobNamesCycleThroughNamesAndDirectoriesAndNeverOverwrite)
{
  zavtestTempDir dirA, dirB, dirOther;
  Select select;
  /* dirOther serves only partition 1; "lob" given twice counts once */
  select.lobFiles({"lob", "blob", "lob"}).lobDirs({{dirA.path, {3}}, {dirOther.path, {1}}, {dirB.path, {}}});
  zorwrite *pwrite = writeCreate(ZORWRITE_LOB, 3, nullptr, 64, nullptr, select.ptask);
  EXPECT_EQ(pwrite->iLobDirCount, 2);
  EXPECT_EQ(pwrite->iLobFileCount, 2);
  pwrite->iFilesPerName = 2;   /* two files per name instead of 999 */
  std::vector<std::string> vLobs;
  for (int i = 0; i < 9; i++) vLobs.push_back("lob number " + std::to_string(i));
  int iRc = 0;
  std::vector<std::pair<std::string, int64_t>> vPlaces;
  std::vector<std::string> vMessages = zavtestMessages([&] { vPlaces = _writeLobs(pwrite, vLobs, 100, &iRc); });
  std::vector<std::string> vExpected = {
      dirA.path + "/lob_003.001",  dirA.path + "/lob_003.002",  dirA.path + "/blob_003.001", dirA.path + "/blob_003.002",
      dirB.path + "/lob_003.001",  dirB.path + "/lob_003.002",  dirB.path + "/blob_003.001", dirB.path + "/blob_003.002",
  };
  ASSERT_EQ(vPlaces.size(), vExpected.size());
  for (size_t i = 0; i < vExpected.size(); i++) EXPECT_EQ(vPlaces[i].first, vExpected[i]);
  /* the ninth LOB would reuse the first name: refused, reported */
  EXPECT_EQ(iRc, TOOLS_RC_IO | EEXIST);
  ASSERT_EQ(vMessages.size(), 2u);
  EXPECT_EQ(vMessages[0].rfind("ZORU347E IO FAILURE ON FILE " + dirA.path + "/lob_003.001 (", 0), 0u) << vMessages[0];
  EXPECT_EQ(vMessages[1], "ZORU455E LOB FILE " + dirA.path + "/lob_003.001 OF TABLE ZAV.T1 NOT WRITTEN WHOLE: " +
                              strerror(EEXIST) + "\n");
  writeClose(pwrite);
  writeDestroy(pwrite);
  for (size_t i = 0; i < vExpected.size(); i++) EXPECT_EQ(_content(vExpected[i]), vLobs[i]) << i;
  EXPECT_TRUE(_files(dirOther).empty());
}

/* -------------------------------------------------------------- failures */

TEST_F(Zor3writeTest, FullDiskIsReportedAndNeverTakenForSuccess)
{
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "/dev/full is not writable here";
  std::vector<std::string> vRows = _rows(200, 50);
  for (uint32_t ulKind : gaulKinds) {
    SCOPED_TRACE(ulKind);
    Select select;
    Output out("/dev/full");
    RunResult run = _run(ulKind, select, out.pout, 128, vRows);
    const int iFull = TOOLS_RC_IO | ENOSPC;
    EXPECT_EQ(run.iRcOpen, 0);
    EXPECT_EQ(run.iRcFlush, iFull);
    EXPECT_EQ(run.iRcClose, iFull);
    /* once a write failed, every later write answers with the failure */
    size_t ulFirst = 0;
    while (ulFirst < run.viRc.size() && run.viRc[ulFirst] == 0) ulFirst++;
    if (ulKind == ZORWRITE_SYNC) {
      EXPECT_LT(ulFirst, run.viRc.size());
    }
    for (size_t i = ulFirst; i < run.viRc.size(); i++) EXPECT_EQ(run.viRc[i], iFull) << i;
    ASSERT_EQ(run.vMessages.size(), 1u);   /* one ZORU347E, no ZORU410I */
    EXPECT_EQ(run.vMessages[0], std::string("ZORU347E IO FAILURE ON FILE /dev/full (") + strerror(ENOSPC) + ")\n");
  }
  /* a LOB that cannot be written */
  zavtestTempDir dirCase;
  Select selectLob;
  selectLob.lobFiles({"full"}).lobDirs({{dirCase.path, {}}});
  zorwrite *pwrite = writeCreate(ZORWRITE_LOB, -1, nullptr, 16, nullptr, selectLob.ptask);
  std::vector<std::string> vMessages = zavtestMessages([&] {
    ASSERT_EQ(writeDeclareWrite(pwrite, 100), 0);
    close(pwrite->iFd);
    pwrite->iFd = open("/dev/full", O_WRONLY);
    std::string strLob(100, 'z');
    EXPECT_EQ(pwrite->procWrite(pwrite, strLob.data(), 100), TOOLS_RC_IO | ENOSPC);
    EXPECT_EQ(writeDeclareWrite(pwrite, 10), TOOLS_RC_IO | ENOSPC);
    EXPECT_EQ(writeFlush(pwrite), TOOLS_RC_IO | ENOSPC);
    writeClose(pwrite);
    writeDestroy(pwrite);
  });
  /* the first failure only: the system's (ZORU347E), then the LOB file's with the table (ZORU455E) */
  ASSERT_EQ(vMessages.size(), 2u);
  EXPECT_EQ(vMessages[0].rfind("ZORU347E IO FAILURE ON FILE " + dirCase.path + "/full.001 (", 0), 0u) << vMessages[0];
  EXPECT_EQ(vMessages[1], "ZORU455E LOB FILE " + dirCase.path + "/full.001 OF TABLE ZAV.T1 NOT WRITTEN WHOLE: " +
                              strerror(ENOSPC) + "\n");
}

TEST_F(Zor3writeTest, OpenFailuresAreReportedWithTheirCode)
{
  std::string strMissing = dir.file("no/such/dir/out.del");
  for (uint32_t ulKind : gaulKinds) {
    SCOPED_TRACE(ulKind);
    Select select;
    Output out(strMissing);
    int iRcOpen = -1, iRcWrite = -1;
    std::vector<std::string> vMessages = zavtestMessages([&] {
      zorwrite *pwrite = writeCreate(ulKind, -1, out.pout, 0, nullptr, select.ptask);
      iRcOpen = writeOpen(pwrite);
      EXPECT_EQ(pwrite->boThread, 0);
      iRcWrite = pwrite->procWrite(pwrite, "row\n", 4);
      writeDestroy(pwrite);
    });
    EXPECT_EQ(iRcOpen, TOOLS_RC_IO | ENOENT);
    EXPECT_EQ(iRcWrite, TOOLS_RC_IO | ENOENT);
    EXPECT_EQ(vMessages, std::vector<std::string>{"ZORU347E IO FAILURE ON FILE " + strMissing + " (" + strerror(ENOENT) + ")\n"});
  }
}

TEST_F(Zor3writeTest, FailedOpenInsideTheWritingThreadReachesTheOwner)
{
  /* the second file of the rotation cannot be created: a directory has its name */
  ASSERT_EQ(mkdir(dir.file("out.001").c_str(), 0755), 0);
  std::vector<std::string> vRows = _rows(300, 40);
  for (uint32_t ulKind : gaulKinds) {
    SCOPED_TRACE(ulKind);
    Select select;
    select.size(TOKEN_FILEMAXSIZE, 0, 500);
    Output out(dir.file("out.del"));
    RunResult run = _run(ulKind, select, out.pout, 0, vRows);
    const int iIsDir = TOOLS_RC_IO | EISDIR;
    EXPECT_EQ(run.iRcFlush, iIsDir);
    EXPECT_EQ(run.iRcClose, iIsDir);
    EXPECT_EQ(run.viRc.back(), iIsDir);
    /* the failure and the first file's ZORU410I: the synchronous writer reports the file as it
       closes it, before the failure; the threaded one when it is closed itself, after it */
    ASSERT_EQ(run.vMessages.size(), 2u);
    std::string strFailure = "ZORU347E IO FAILURE ON FILE " + dir.file("out.001") + " (" + strerror(EISDIR) + ")\n";
    EXPECT_EQ(run.vMessages[ulKind == ZORWRITE_SYNC ? 1 : 0], strFailure);
    /* the rows that fill the first file */
    size_t ulFirst = 0;
    for (size_t ulBytes = 0; ulFirst < vRows.size() && ulBytes + vRows[ulFirst].size() <= 500; ulFirst++)
      ulBytes += vRows[ulFirst].size();
    EXPECT_EQ(run.vMessages[ulKind == ZORWRITE_SYNC ? 0 : 1],
              "ZORU410I ZAV UTILITY HAS UNLOADED " + std::to_string(ulFirst) + " ROWS ON  HOST FOR ZAV.T1 IN " +
                  dir.file("out.del") + ".\n");
    /* the first file is whole */
    EXPECT_EQ(_content(dir.file("out.del")), _expectedFiles(vRows, 500)[0]);
  }
}

TEST_F(Zor3writeTest, DestroyWithoutCloseJoinsTheThreadAndWritesWhatWasHandedOver)
{
  Select select;
  Output out(dir.file("out.del"));
  std::vector<std::string> vRows = _rows(100, 30);
  zavtestMessages([&] {
    zorwrite *pwrite = writeCreate(ZORWRITE_ASYNC, -1, out.pout, 64, nullptr, select.ptask);
    ASSERT_EQ(writeOpen(pwrite), 0);
    EXPECT_EQ(pwrite->boThread, 1);
    for (const std::string &str : vRows) pwrite->procWrite(pwrite, str.data(), static_cast<int32_t>(str.size()));
    EXPECT_EQ(writeFlush(pwrite), 0);
    writeDestroy(pwrite);
  });
  EXPECT_EQ(_content(dir.file("out.del")), _joined(vRows, vRows.size()));
}

}  // namespace
