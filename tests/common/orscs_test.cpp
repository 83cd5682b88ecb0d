// The resource file: the image of a new file, reopening, refusal of files
// that are not resource files, block placement and release, dictionary
// extension blocks, EBCDIC dictionaries, memory images, full disks, dump.
#include <gtest/gtest.h>

#include "tests/zavtest.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "common/obyte.h"
#include "common/ochar.h"
#include "common/olds.h"
#include "common/olist.h"
#include "common/ostrdict.h"
#include "common/ores.h"
#include "common/orestype.h"
#include "common/orscs.h"

namespace {

void writeFile(const std::string &path, const std::vector<unsigned char> &data)
{
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, data.data(), data.size()), static_cast<ssize_t>(data.size()));
  close(fd);
}

void put32(std::vector<unsigned char> &v, size_t at, std::initializer_list<uint32_t> values)
{
  for (uint32_t ul : values) {
    obytePutBE32(v.data() + at, ul);
    at += 4;
  }
}

/* A resource holding n bytes of one fixed string made of c. */
ores *blob(uint32_t n, char c)
{
  ores *pres = oresCreate(ORES_TYPE_STRING | 0xFFFF, n, 0);
  std::vector<char> bytes(n, c);
  ochar view{};
  view.pcData = bytes.data();
  view.ilBU = view.ilBT = view.ilL = static_cast<int32_t>(n);
  view.usCCSID = 0xFFFF;
  view.usFlags = OCHAR_SBCS;
  EXPECT_EQ(oresPut(pres, ORES_TYPE_STRING | 0xFFFF, &view), 0);
  return pres;
}

TEST(orscs, NewFileHoldsTheSpecifiedImage)
{
  zavtestTempDir dir;
  std::string path = dir.file("new.rsc");
  orscs *prscs = orscsCreate(path.c_str(), 2, 0);
  ASSERT_NE(prscs, nullptr);
  ASSERT_EQ(orscsDestroy(prscs), 0);

  std::vector<unsigned char> expected(262144, 0);
  put32(expected, 0, {1084, 544, 2, 24, 0x4F4E4F4E, 0x00010000});
  put32(expected, 24, {544, 0, 0, 53, 0x200000, 0x00010352});
  put32(expected, 48, {0, 1, 1, 13});
  put32(expected, 64, {544});
  expected[68] = 8;
  std::memcpy(expected.data() + 69, "__system", 8);
  put32(expected, 544, {0, 24, 24, 540, 0x200000, 0x00010352});
  put32(expected, 568, {0, 0, 0, 16});
  std::vector<unsigned char> actual = zavtestReadFile(path);
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t i = 0; i < actual.size(); i++) ASSERT_EQ(actual[i], expected[i]) << "offset " << i;

  // Reopening finds "__system" and changes nothing.
  prscs = orscsCreate(path.c_str(), 2, 0);
  ASSERT_NE(prscs, nullptr);
  EXPECT_EQ(prscs->pdictSystem->rba, 544u);
  EXPECT_EQ(orscsDestroy(prscs), 0);
  EXPECT_EQ(zavtestReadFile(path), expected);
}

TEST(orscs, FilesThatAreNotResourceFilesAreLeftAlone)
{
  zavtestTempDir dir;
  std::vector<unsigned char> text(3000, 'T');
  std::vector<unsigned char> badEye(600, 0);
  put32(badEye, 0, {544, 24, 1, 24, 0x4F4E4F4F, 0x00010000});
  std::vector<unsigned char> badEof(600, 0);
  put32(badEof, 0, {20, 24, 1, 24, 0x4F4E4F4E, 0x00010000});
  for (const auto *content : {&text, &badEye, &badEof}) {
    std::string path = dir.file("user.dat");
    writeFile(path, *content);
    EXPECT_EQ(orscsCreate(path.c_str(), 2, 0), nullptr);
    EXPECT_EQ(zavtestReadFile(path), *content);
  }
  // An existing empty file is formatted.
  std::string empty = dir.file("empty");
  writeFile(empty, {});
  orscs *prscs = orscsCreate(empty.c_str(), 2, 0);
  ASSERT_NE(prscs, nullptr);
  EXPECT_EQ(orscsDestroy(prscs), 0);
  EXPECT_EQ(obyteGetBE32(zavtestReadFile(empty).data() + 16), 0x4F4E4F4Eu);
  // A memory image that is not a resource file is refused and stays the caller's.
  void *pImage = std::calloc(600, 1);
  EXPECT_EQ(orscsCreateFromMem(pImage, 600), nullptr);
  std::free(pImage);
}

TEST(orscs, SmallModeLimitsOffsetsToSixteenMegabytes)
{
  zavtestTempDir dir;
  orscs *prscs = orscsCreate(dir.file("small").c_str(), 2 | ORSCS_MODE_SMALL, 0);
  ASSERT_NE(prscs, nullptr);
  EXPECT_EQ(prscs->plds->ulWindowSize, 32768u);
  unsigned char buf[4] = {};
  EXPECT_EQ(oldsRead(prscs->plds, 0x1000000, 4, buf), OLDS_RANGE);
  EXPECT_EQ(orscsDestroy(prscs), 0);
}

TEST(orscs, BlocksAreReusedMovedAndReleasedInPlace)
{
  zavtestTempDir dir;
  orscs *prscs = orscsCreate(dir.file("blocks").c_str(), 2, 0);
  ASSERT_NE(prscs, nullptr);
  oresdict *pmain = prscs->pdictMain;
  orscsHeader *pfh = prscs->pheader;

  ores *pa = blob(100, 'a');
  ores *pb = blob(100, 'b');
  ASSERT_EQ(oresStoreNamed(pmain, "A", pa), 0);
  ASSERT_EQ(oresStoreNamed(pmain, "B", pb), 0);
  uint32_t rbaA = pa->rba, rbaB = pb->rba;
  const uint32_t ulB = pb->ulDataLength;   // 100 bytes and their length byte
  EXPECT_EQ(rbaA, 1084u);
  EXPECT_EQ(rbaB, 1084u + 24 + pa->ulDataLength);
  EXPECT_EQ(pfh->ulNbOfRes, 4u);

  // A smaller replacement fits before the next block and keeps its rba.
  ores *pa2 = blob(60, 'c');
  ASSERT_EQ(oresStoreNamed(pmain, "A", pa2), 0);
  EXPECT_EQ(pa2->rba, rbaA);
  // A larger one no longer fits: released (its room goes to the block before) and
  // placed at the end.
  ores *pa3 = blob(300, 'd');
  uint32_t rbaEnd = pfh->rbaEOF;
  ASSERT_EQ(oresStoreNamed(pmain, "A", pa3), 0);
  EXPECT_EQ(pa3->rba, rbaEnd);
  EXPECT_EQ(pfh->ulNbOfRes, 4u);
  orscsBlockHeader h;
  ASSERT_EQ(_rscsReadBlockHeader(prscs, rbaB, &h), 0);
  EXPECT_EQ(h.rbaPrevBlock, 544u);
  // The last block is always released and placed again right after the used
  // part of the block before it.
  ores *pa4 = blob(10, 'e');
  ASSERT_EQ(oresStoreNamed(pmain, "A", pa4), 0);
  EXPECT_EQ(pa4->rba, rbaB + 24 + ulB);
  EXPECT_EQ(pfh->rbaEOF, rbaB + 24 + ulB + 24 + pa4->ulDataLength);
  // Releasing the last block moves rbaEOF back to the end of the one before.
  ASSERT_EQ(oresStoreNamed(pmain, "A", nullptr), 0);
  EXPECT_EQ(pfh->rbaEOF, rbaB + 24 + ulB);
  EXPECT_EQ(pfh->rbaLastBlk, rbaB);
  EXPECT_FALSE(oresIsExist(pmain, "A"));
  EXPECT_EQ(oresLoadNamed(pmain, "A"), nullptr);
  for (ores *p : {pa, pb, pa2, pa3, pa4}) oresDestroy(p);
  ASSERT_EQ(orscsDestroy(prscs), 0);
}

TEST(orscs, FullDictionaryBlockGrowsAnExtensionBlock)
{
  zavtestTempDir dir;
  std::string path = dir.file("ext");
  orscs *prscs = orscsCreate(path.c_str(), 2, 0);
  ASSERT_NE(prscs, nullptr);
  ores *pres = blob(4, 'x');
  ASSERT_EQ(oresStoreNamed(prscs->pdictMain, "N00", pres), 0);
  // "__system" took 13 of the 480 entry bytes; names of 19 bytes take 24.
  std::vector<std::string> names;
  for (int i = 0; i < 20; i++) names.push_back("name-of-19-bytes-" + std::to_string(10 + i));
  for (const auto &n : names) ASSERT_EQ(oresStoreNamed(prscs->pdictMain, n.c_str(), pres), 0);
  ASSERT_EQ(prscs->pdictMain->plistBlocks->iItemCount, 2);
  uint32_t rbaExt = static_cast<oresdictBlock *>(prscs->pdictMain->plistBlocks->pitemBottom)->rba;
  EXPECT_EQ(prscs->pheader->rbaEOF - rbaExt, 520u);                   // 40 + 480
  oresDestroy(pres);
  ASSERT_EQ(orscsDestroy(prscs), 0);

  std::vector<unsigned char> disk = zavtestReadFile(path);
  EXPECT_EQ(obyteGetBE32(disk.data() + 24 + 24), rbaExt);             // rbaSuite
  EXPECT_EQ(obyteGetBE32(disk.data() + 24 + 28), 22u);                // ulNbTotalEntry
  EXPECT_EQ(obyteGetBE32(disk.data() + rbaExt + 8), 24u);             // owned by the dictionary
  prscs = orscsCreate(path.c_str(), 2, 0);
  ASSERT_NE(prscs, nullptr);
  for (const auto &n : names) EXPECT_TRUE(oresIsExist(prscs->pdictMain, n.c_str())) << n;
  EXPECT_TRUE(oresIsExist(prscs->pdictMain, "N00"));
  EXPECT_EQ(ostrdictGetCount(prscs->pdictMain->pstrdictNames), 22u);
  EXPECT_EQ(orscsDestroy(prscs), 0);
}

TEST(orscs, EbcdicDictionaryStoresItsNamesInEbcdic)
{
  zavtestTempDir dir;
  std::string path = dir.file("ebcdic");
  orscs *prscs = orscsCreate(path.c_str(), 2, 0);
  ASSERT_NE(prscs, nullptr);
  oresdict *pdict = oresCreateDict(prscs->pdictMain, "E37", 37);
  ASSERT_NE(pdict, nullptr);
  uint32_t rbaDict = pdict->rba;
  ores *pres = blob(2, 'z');
  ASSERT_EQ(oresStoreNamed(pdict, "ABC", pres), 0);
  oresDestroy(pres);
  oresdictDestroy(pdict);
  ASSERT_EQ(orscsDestroy(prscs), 0);

  std::vector<unsigned char> disk = zavtestReadFile(path);
  EXPECT_EQ(obyteGetBE32(disk.data() + rbaDict + 20), 0x10025u);
  const unsigned char ebcdic[] = {3, 0xC1, 0xC2, 0xC3};
  EXPECT_EQ(std::memcmp(disk.data() + rbaDict + 44, ebcdic, 4), 0);

  prscs = orscsCreate(path.c_str(), 2, 0);
  ASSERT_NE(prscs, nullptr);
  pdict = oresLoadDict(prscs->pdictMain, "E37");
  ASSERT_NE(pdict, nullptr);
  oresDictCursor cursor;
  oresDictCursorInit(&cursor, pdict);
  ASSERT_NE(oresDictCursorGetName(&cursor), nullptr);
  EXPECT_STREQ(oresDictCursorGetName(&cursor), "ABC");
  EXPECT_EQ(oresDictCursorGetType(&cursor), static_cast<uint32_t>(ORES_TYPE_STRING | 0xFFFF));
  oresDictCursorNext(&cursor);
  EXPECT_EQ(oresDictCursorGetName(&cursor), nullptr);
  oresDictCursorDestroy(&cursor);
  oresdictDestroy(pdict);
  EXPECT_EQ(orscsDestroy(prscs), 0);
}

TEST(orscs, MemoryImageExportsAndReopens)
{
  orscs *prscs = orscsCreate(nullptr, 5, 256);
  ASSERT_NE(prscs, nullptr);
  ores *pres = oresCreate(ORES_TYPE_I32, 0, 0);
  ASSERT_EQ(oresPutLong(pres, -7), 0);
  ASSERT_EQ(oresStoreNamed(prscs->pdictMain, "L", pres), 0);
  oresDestroy(pres);
  uint32_t ulUsed = 0, ulSecond = 9;
  void *pImage = orscsExportAndDestroy(prscs, &ulUsed, &ulSecond);
  ASSERT_NE(pImage, nullptr);
  EXPECT_EQ(ulUsed, 1084u + 24 + 4);
  EXPECT_EQ(ulSecond, 0u);

  prscs = orscsCreateFromMem(pImage, ulUsed);
  ASSERT_NE(prscs, nullptr);
  pres = oresLoadNamed(prscs->pdictMain, "L");
  ASSERT_NE(pres, nullptr);
  int32_t l = 0;
  EXPECT_EQ(oresGetLong(pres, &l), 0);
  EXPECT_EQ(l, -7);
  oresDestroy(pres);
  EXPECT_EQ(orscsDestroy(prscs), 0);   // frees the image
}

TEST(orscs, FullDiskIsReportedAndLeavesNoName)
{
  zavtestTempDir dir;
  std::string path = dir.file("full");
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit rl = {262144, 262144};    // room for the first window only
    setrlimit(RLIMIT_FSIZE, &rl);
    int iFail = 0;
    orscs *prscs = orscsCreate(path.c_str(), 2, 1);   // one window
    if (prscs == nullptr) _exit(10);
    ores *pres = blob(300000, 'f');
    int rc = oresStoreNamed(prscs->pdictMain, "BIG", pres);
    if (rc == 0) iFail |= 1;                       // the failure must be reported
    if (oresIsExist(prscs->pdictMain, "BIG")) iFail |= 2;
    oresDestroy(pres);
    if (orscsDestroy(prscs) == 0) iFail |= 4;      // and the close must not claim success
    _exit(iFail);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(orscs, DumpPrintsHeaderBlocksAndNames)
{
  zavtestTempDir dir;
  orscs *prscs = orscsCreate(dir.file("dump").c_str(), 2, 0);
  ASSERT_NE(prscs, nullptr);
  ores *pres = oresCreate(ORES_TYPE_I32, 0, 0);
  oresPutLong(pres, 1234567);
  oresStoreNamed(prscs->pdictMain, "VALUE", pres);
  oresDestroy(pres);
  char *pcText = nullptr;
  size_t ulSize = 0;
  FILE *pfile = open_memstream(&pcText, &ulSize);
  EXPECT_EQ(orscsDump(prscs, pfile), 0);
  std::fclose(pfile);
  std::string text(pcText, ulSize);
  std::free(pcText);
  EXPECT_NE(text.find("RSCS Header ============\n"), std::string::npos);
  EXPECT_NE(text.find("ulEyeCatcher :0x4f4e4f4e \n"), std::string::npos);
  EXPECT_NE(text.find("\nDictBlock ============== \n"), std::string::npos);
  EXPECT_NE(text.find("__system"), std::string::npos);
  EXPECT_NE(text.find("1234567\n"), std::string::npos);
  EXPECT_NE(text.find("\nFreeSpace ============== :"), std::string::npos);
  EXPECT_EQ(orscsDestroy(prscs), 0);
}

}  // namespace
