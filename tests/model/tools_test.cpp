/*
** tools_test.cpp
**   File and string tools: output-file names (partition, sequence, replace,
**   dots in directories, names too long), packed decimal and time texts,
**   case and trims, statements, reads from pipes, file sizes (symbolic
**   links), opening and creating files with their error reports, and the
**   identity exchange of the reads of DB2's files.
*/
#include "model/tools.h"

#include <gtest/gtest.h>

#include "tests/zavtest.h"

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "common/omsgs.h"
#include "common/ostack.h"

namespace {

/* A temporary directory removed with its files at the end. */
struct TempDir {
  std::string strPath;
  TempDir()
  {
    char acTemplate[] = "/tmp/toolsXXXXXX";
    strPath = mkdtemp(acTemplate);
  }
  ~TempDir() { (void)system(("rm -rf " + strPath).c_str()); }
  std::string File(const std::string &strName, const std::string &strText) const
  {
    std::string strFile = strPath + "/" + strName;
    FILE *pfile = fopen(strFile.c_str(), "w");
    fputs(strText.c_str(), pfile);
    fclose(pfile);
    return strFile;
  }
};

std::string Name(const char *pcName, int iLength, int iPart, int iSeq, int boReplace)
{
  char *pc = toolsFormatFilename(pcName, iLength, iPart, iSeq, boReplace);
  if (pc == nullptr) return "(null)";
  std::string str(pc);
  free(pc);
  return str;
}

}  // namespace

TEST(toolsFormatFilename, PartitionSequenceAndExtension)
{
  struct Case {
    const char *pcName;
    int iPart, iSeq, boReplace;
    const char *pcExpected;
  } acases[] = {
      {"out.del", 2, 3, 0, "out_2_3.del"},
      {"out.del", -1, 7, 1, "out.007"},
      {"out", 1, -1, 0, "out_1"},
      {"out.del", -1, -1, 0, "out.del"},          /* a copy */
      {"out.del", -1, -1, 1, "out.del"},          /* nothing replaces the extension */
      {"out.del", 0, 1234, 1, "out_0.1234"},
      {"a.b.c", 1, 2, 0, "a.b_1_2.c"},            /* the last dot */
      {"dir.d/out", 2, -1, 0, "dir.d/out_2"},     /* a dot in a directory is no extension */
      {"dir.d/out.ixf", 2, 5, 1, "dir.d/out_2.005"},
      {"/x.y/z.w/f", -1, 3, 0, "/x.y/z.w/f_3"},
      {"dir/", 4, -1, 0, "dir/_4"},
  };
  for (const Case &c : acases)
    EXPECT_EQ(Name(c.pcName, static_cast<int>(strlen(c.pcName)), c.iPart, c.iSeq, c.boReplace), c.pcExpected)
        << c.pcName << " " << c.iPart << " " << c.iSeq << " " << c.boReplace;
}

TEST(toolsFormatFilename, TakesTheGivenLengthAndRefusesLongNames)
{
  EXPECT_EQ(Name("out.delGARBAGE", 7, 1, -1, 0), "out_1.del");

  std::string strLong(TOOLS_FILENAME_MAX, 'n');
  EXPECT_EQ(Name(strLong.c_str(), TOOLS_FILENAME_MAX, -1, -1, 0), strLong);

  /* One byte more would be cut into another file's name: refused and reported. */
  strLong += ".del";
  std::vector<std::string> texts = zavtestMessages([&] {
    EXPECT_EQ(Name(strLong.c_str(), static_cast<int>(strLong.size()), 1, 2, 0), "(null)");
  });
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].rfind("ZORU347E IO FAILURE ON FILE " + strLong + " (", 0), 0u) << texts[0];
}

TEST(toolsStrToDecimalArea, SignDigitsAndPoint)
{
  struct Case {
    std::vector<unsigned char> packed;
    int iPrecision, iScale;
    const char *pcExpected;
  } acases[] = {
      {{0x12, 0x34, 0x5C}, 5, 2, "+123.45"},
      {{0x12, 0x34, 0x5D}, 5, 2, "-123.45"},
      {{0x12, 0x34, 0x5B}, 5, 2, "-123.45"},
      {{0x12, 0x34, 0x5F}, 5, 2, "+123.45"},     /* unsigned: positive */
      {{0x12, 0x34, 0x5A}, 5, 2, "+123.45"},
      {{0x12, 0x34, 0x5C}, 5, 0, "+12345."},
      {{0x12, 0x34, 0x5C}, 5, 5, "+.12345"},
      {{0x01, 0x23, 0x4D}, 4, 1, "-123.4"},      /* even precision: pad nibble first */
      {{0x9C}, 1, 0, "+9."},
      {{0x00, 0x0C}, 2, 2, "+.00"},
  };
  for (const Case &c : acases) {
    std::string str(static_cast<size_t>(c.iPrecision + 2) + 4, '#');
    toolsStrToDecimalArea(c.packed.data(), c.iPrecision, c.iScale, str.data());
    EXPECT_EQ(str, std::string(c.pcExpected) + "####") << c.pcExpected;   /* no NUL, nothing beyond */
  }
}

TEST(toolsStrToTimeArea, NibblesAsDigits)
{
  const unsigned char ab[] = {0x20, 0x26, 0x12, 0x31, 0x09};
  char ac[11] = "##########";
  toolsStrToTimeArea(ab, 4, ac);
  EXPECT_STREQ(ac, "20261231##");
}

TEST(toolsStrings, TrimsCaseDigitsStatement)
{
  struct Trim {
    const char *pcIn, *pcRight, *pcLeft, *pcAll;
  } atrims[] = {
      {"  a b  ", "  a b", "a b  ", "a b"},
      {"", "", "", ""},
      {"   ", "", "", ""},
      {"x", "x", "x", "x"},
      {"\ta\t ", "\ta\t", "\ta\t ", "\ta\t"},   /* only 0x20 is a blank */
  };
  for (const Trim &t : atrims) {
    char ac[32];
    EXPECT_STREQ(toolsRightTrimStr(ac, t.pcIn), t.pcRight);
    EXPECT_STREQ(toolsLeftTrimStr(ac, t.pcIn), t.pcLeft);
    EXPECT_STREQ(toolsAllTrimStr(ac, t.pcIn), t.pcAll);
    strcpy(ac, t.pcIn);                                    /* in place */
    EXPECT_STREQ(toolsAllTrimStr(ac, ac), t.pcAll);
  }

  EXPECT_EQ(toolsIsdigitStr("", 0), 1);
  EXPECT_EQ(toolsIsdigitStr("x", -1), 1);
  EXPECT_EQ(toolsIsdigitStr("0123456789", 10), 1);
  EXPECT_EQ(toolsIsdigitStr("12a", 3), 0);
  EXPECT_EQ(toolsIsdigitStr("12a", 2), 1);

  char acLower[] = "AbC1";
  EXPECT_STREQ(toolsTolowerStr(acLower, acLower, 4), "abc1");

  char acStatement[] = "SELECT *\nFROM T;\nthird line";
  EXPECT_STREQ(toolsFormatStatement(acStatement), "SELECT * FROM T");
}

TEST(toolsToupperStr, MultibyteCharactersAndStops)
{
  const char *pcOld = setlocale(LC_CTYPE, nullptr);
  std::string strOld = pcOld != nullptr ? pcOld : "C";
  if (setlocale(LC_CTYPE, "C.UTF-8") == nullptr && setlocale(LC_CTYPE, "C.utf8") == nullptr)
    GTEST_SKIP() << "no UTF-8 locale installed";

  /* "é" (two bytes) is copied; one-byte letters are upper-cased. */
  char ac[16] = {};
  const char *pcIn = "ab\xC3\xA9z";
  char *pcEnd = toolsToupperStr(ac, pcIn, 5);
  EXPECT_EQ(std::string(ac, 5), "AB\xC3\xA9Z");
  EXPECT_EQ(pcEnd, ac + 5);

  /* An invalid sequence stops the conversion; the rest is copied as it is. */
  const char acBad[] = {'a', '\xFF', 'b', 'c'};
  pcEnd = toolsToupperStr(ac, acBad, 4);
  EXPECT_EQ(std::string(ac, 4), std::string("A\xFF" "bc"));
  EXPECT_EQ(pcEnd, ac + 1);

  /* So does a NUL. */
  const char acNul[] = {'a', '\0', 'b'};
  pcEnd = toolsToupperStr(ac, acNul, 3);
  EXPECT_EQ(std::string(ac, 3), std::string("A\0b", 3));
  EXPECT_EQ(pcEnd, ac + 1);

  setlocale(LC_CTYPE, strOld.c_str());
}

TEST(toolsReadInPipe, FullReadAndEarlyEnd)
{
  int aiFd[2];
  ASSERT_EQ(pipe(aiFd), 0);
  ASSERT_EQ(write(aiFd[1], "0123456789abcdefghij", 20), 20);
  char ac[21] = {};
  EXPECT_EQ(toolsReadInPipe(aiFd[0], ac, 20), 20);
  EXPECT_STREQ(ac, "0123456789abcdefghij");

  /* The writer ends after 10 of 20 bytes: 0, with the 10 bytes kept. */
  memset(ac, 0, sizeof(ac));
  ASSERT_EQ(write(aiFd[1], "ABCDEFGHIJ", 10), 10);
  close(aiFd[1]);
  EXPECT_EQ(toolsReadInPipe(aiFd[0], ac, 20), 0);
  EXPECT_STREQ(ac, "ABCDEFGHIJ");
  close(aiFd[0]);

  EXPECT_EQ(toolsReadInPipe(-1, ac, 4), -1);
}

TEST(toolsSizeFile, FollowsLinksAndReportsFailures)
{
  TempDir dir;
  std::string strFile = dir.File("container", std::string(5000, 'x'));
  std::string strLink = dir.strPath + "/link";
  ASSERT_EQ(symlink(strFile.c_str(), strLink.c_str()), 0);

  int iRc = -1;
  EXPECT_EQ(toolsSizeFile(strFile.c_str(), &iRc), 5000);
  EXPECT_EQ(iRc, 0);
  /* A container reached through a link has the size of its target. */
  EXPECT_EQ(toolsSizeFile(strLink.c_str(), &iRc), 5000);
  EXPECT_EQ(iRc, 0);

  std::string strMissing = dir.strPath + "/missing";
  std::vector<std::string> texts = zavtestMessages([&] { EXPECT_EQ(toolsSizeFile(strMissing.c_str(), &iRc), -1); });
  EXPECT_EQ(iRc, TOOLS_RC_IO | ENOENT);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0], "ZORU347E IO FAILURE ON FILE " + strMissing + " (" + strerror(ENOENT) + ")\n");
}

TEST(toolsFiles, OpenCreateAppendAndTheirReports)
{
  TempDir dir;
  std::string strFile = dir.File("in", "hello");
  std::string strMissing = dir.strPath + "/none/x";
  int iRc = -1;

  int iFd = toolsOpenFile(strFile.c_str(), &iRc, 1);
  ASSERT_GE(iFd, 0);
  EXPECT_EQ(iRc, 0);
  EXPECT_TRUE(fcntl(iFd, F_GETFL) & O_NONBLOCK);
  close(iFd);

  /* The report flag decides the message, never the code. */
  std::vector<std::string> texts = zavtestMessages([&] { EXPECT_EQ(toolsOpenFile(strMissing.c_str(), &iRc, 0), -1); });
  EXPECT_EQ(iRc, TOOLS_RC_IO | ENOENT);
  EXPECT_TRUE(texts.empty());
  texts = zavtestMessages([&] { EXPECT_EQ(toolsOpenFile(strMissing.c_str(), &iRc, 1), -1); });
  EXPECT_EQ(texts.size(), 1u);

  mode_t modeOld = umask(022);
  std::string strOut = dir.strPath + "/out";
  iFd = toolsCreateFile(strOut.c_str(), &iRc);
  ASSERT_GE(iFd, 0);
  EXPECT_EQ(write(iFd, "abc", 3), 3);
  close(iFd);
  iFd = toolsAppendFile(strOut.c_str(), &iRc);
  ASSERT_GE(iFd, 0);
  EXPECT_EQ(write(iFd, "def", 3), 3);
  close(iFd);
  struct stat st;
  ASSERT_EQ(stat(strOut.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
  EXPECT_EQ(st.st_size, 6);
  iFd = toolsCreateFile(strOut.c_str(), &iRc);   /* truncates */
  close(iFd);
  ASSERT_EQ(stat(strOut.c_str(), &st), 0);
  EXPECT_EQ(st.st_size, 0);
  umask(modeOld);

  FILE *pfile = toolsAppendBFile(strOut.c_str(), &iRc);
  ASSERT_NE(pfile, nullptr);
  fputs("line\n", pfile);
  fclose(pfile);
  pfile = toolsOpenBFile(strOut.c_str(), &iRc);
  ASSERT_NE(pfile, nullptr);
  char ac[16] = {};
  EXPECT_NE(fgets(ac, sizeof(ac), pfile), nullptr);
  EXPECT_STREQ(ac, "line\n");
  fclose(pfile);
  pfile = toolsCreateBFile(strOut.c_str(), &iRc);
  ASSERT_NE(pfile, nullptr);
  fclose(pfile);
  ASSERT_EQ(stat(strOut.c_str(), &st), 0);
  EXPECT_EQ(st.st_size, 0);

  /* Each failing open reports the path and sets the code. */
  struct {
    const char *pcName;
    bool (*fn)(const char *, int *);
  } afails[] = {
      {"toolsAppendFile", [](const char *p, int *pi) { return toolsAppendFile(p, pi) == -1; }},
      {"toolsCreateFile", [](const char *p, int *pi) { return toolsCreateFile(p, pi) == -1; }},
      {"toolsOpenBFile", [](const char *p, int *pi) { return toolsOpenBFile(p, pi) == nullptr; }},
      {"toolsAppendBFile", [](const char *p, int *pi) { return toolsAppendBFile(p, pi) == nullptr; }},
      {"toolsCreateBFile", [](const char *p, int *pi) { return toolsCreateBFile(p, pi) == nullptr; }},
  };
  for (const auto &f : afails) {
    iRc = 0;
    texts = zavtestMessages([&] { EXPECT_TRUE(f.fn(strMissing.c_str(), &iRc)) << f.pcName; });
    EXPECT_EQ(iRc, TOOLS_RC_IO | ENOENT) << f.pcName;
    ASSERT_EQ(texts.size(), 1u) << f.pcName;
    EXPECT_EQ(texts[0].rfind("ZORU347E IO FAILURE ON FILE " + strMissing, 0), 0u) << f.pcName;
  }
}

TEST(toolsFiles, DB2FilesAreReadAsTheRealUser)
{
  if (getuid() != 0) GTEST_SKIP() << "needs root to set a second identity";
  struct passwd *ppw = getpwnam("nobody");
  if (ppw == nullptr) GTEST_SKIP() << "no user nobody";

  TempDir dir;   /* mode 0700, owned by root */
  std::string strFile = dir.File("SQLSPCS.1", "0123456789");
  chmod(strFile.c_str(), 0600);

  /* Real user root (the instance user), effective user nobody (the caller). */
  ASSERT_EQ(setreuid(0, ppw->pw_uid), 0);
  int iFdDirect = open(strFile.c_str(), O_RDONLY);
  int iRc = -1;
  int iFd = toolsOpenFile(strFile.c_str(), &iRc, 1);
  uid_t uidEffective = geteuid();
  int64_t llSize = toolsSizeFile(strFile.c_str(), &iRc);
  uid_t uidAfterSize = geteuid();
  ASSERT_EQ(setreuid(0, 0), 0);

  EXPECT_EQ(iFdDirect, -1);
  EXPECT_GE(iFd, 0);
  EXPECT_EQ(llSize, 10);
  EXPECT_EQ(uidEffective, ppw->pw_uid);
  EXPECT_EQ(uidAfterSize, ppw->pw_uid);
  if (iFd >= 0) close(iFd);
}

TEST(toolsGetHostName, ShortName)
{
  char ac[256];
  ASSERT_EQ(toolsGetHostName(ac, sizeof(ac)), 0);
  char acFull[256] = {};
  gethostname(acFull, sizeof(acFull) - 1);
  EXPECT_EQ(strchr(ac, '.'), nullptr);
  EXPECT_EQ(std::string(acFull).rfind(ac, 0), 0u);

  errno = ENOENT;
  EXPECT_STREQ(toolsGetError(), strerror(ENOENT));
}
