/*
** guideexamples_test.cpp
**   The complete control files of the guide, docs/control-file.md, run
**   through the real program on the bundled sample instance, each checked
**   against the outcome the guide states after it.
**
**   A complete control file is a fenced block with the info string "ctl";
**   a fragment of one is an indented block and is not run.  After each
**   complete one, before the next fence or heading, the guide holds a
**   paragraph that begins "Run on the sample"; its first sentence is the
**   outcome, read as:
**     exit status N                    the exit status (required);
**     after `mkdir d`                  a directory made before the run;
**     `ZORxnnnS`                       a message the run prints; every
**                                      warning or error it prints is named;
**     `file` (DEL|DELIMITED|IXF, N rows)
**                                      a file written, its format and rows
**                                      (an IXF row counts once, however many
**                                      D records it takes);
**     `prefix*` (N LOB files           N files whose names begin so;
**     writes nothing                   no file at all.
**   The files named are all the run writes.  Indented lines between the
**   fence and the next one are lines of the example's DEL or DELIMITED
**   output, each found whole in one of its files.
**   Every example runs in a directory of its own beside the sample's
**   backup directory (the guide names images as "../backup/..."), one
**   after the other on one sample instance.
*/
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>
#include "tests/zavproc.h"
#include "tests/zavtest.h"

namespace fs = std::filesystem;

namespace {

const std::string gstrGuide = ZAV_SOURCE_DIR "/docs/control-file.md";

/* A file the outcome names: its name (a prefix for LOB files) and what it holds. */
struct Expected {
  std::string strName;
  std::string strFormat;   /* "DEL", "DELIMITED", "IXF" or "LOB" */
  int iCount = -1;         /* rows (LOB: files); -1 when not stated */
};

/* One complete control file of the guide and what the guide says of it. */
struct Example {
  int iLine = 0;                    /* line of the opening fence */
  std::string strControl;
  std::string strOutcome;           /* the first sentence of "Run on the sample ..." */
  std::vector<std::string> vShown;  /* indented output lines after the example */
  /* the outcome read */
  int iStatus = -1;
  std::vector<std::string> vMkdir;
  std::set<std::string> setMessages;
  std::vector<Expected> vFiles;
  bool boNothing = false;
};

/* The first sentence of a paragraph: up to a '.' outside backticks that ends the text or is followed by a blank. */
std::string firstSentence(const std::string &str)
{
  bool boCode = false;
  for (size_t i = 0; i < str.size(); i++) {
    if (str[i] == '`') boCode = !boCode;
    if (!boCode && str[i] == '.' && (i + 1 == str.size() || str[i + 1] == ' ')) return str.substr(0, i + 1);
  }
  return str;
}

void readOutcome(Example &ex)
{
  std::smatch m;
  const std::string &str = ex.strOutcome;
  if (std::regex_search(str, m, std::regex("exit status (\\d+)"))) ex.iStatus = std::stoi(m[1].str());
  ex.boNothing = str.find("writes nothing") != std::string::npos;
  std::regex reMkdir("after `mkdir ([^`]+)`");
  for (std::sregex_iterator it(str.begin(), str.end(), reMkdir), end; it != end; ++it)
    ex.vMkdir.push_back((*it)[1].str());
  std::regex reMsg("`(ZOR[A-Z][0-9]{3}[IWE])`");
  for (std::sregex_iterator it(str.begin(), str.end(), reMsg), end; it != end; ++it)
    ex.setMessages.insert((*it)[1].str());
  std::regex reFile("`([^`*]+)` \\((DEL|DELIMITED|IXF)(, (\\d+) rows?)?\\)");
  for (std::sregex_iterator it(str.begin(), str.end(), reFile), end; it != end; ++it)
    ex.vFiles.push_back({(*it)[1].str(), (*it)[2].str(), (*it)[4].matched ? std::stoi((*it)[4].str()) : -1});
  std::regex reLobs("`([^`*]+)\\*` \\((\\d+) LOB files");
  for (std::sregex_iterator it(str.begin(), str.end(), reLobs), end; it != end; ++it)
    ex.vFiles.push_back({(*it)[1].str(), "LOB", std::stoi((*it)[2].str())});
}

/* The complete control files of the guide, with their outcomes. */
std::vector<Example> guideExamples()
{
  std::vector<std::string> vLines;
  std::istringstream in(zavtestReadText(gstrGuide));
  for (std::string str; std::getline(in, str);) vLines.push_back(str);
  std::vector<Example> v;
  for (size_t i = 0; i < vLines.size(); i++) {
    if (vLines[i] != "```ctl") continue;
    Example ex;
    ex.iLine = static_cast<int>(i) + 1;
    for (i++; i < vLines.size() && vLines[i] != "```"; i++) ex.strControl += vLines[i] + "\n";
    /* what follows it, up to the next fence or heading */
    std::string strParagraph;
    bool boOutcome = false;
    for (i++; i < vLines.size() && vLines[i].rfind("```", 0) != 0 && vLines[i].rfind("#", 0) != 0; i++) {
      const std::string &str = vLines[i];
      if (str.rfind("    ", 0) == 0) {
        ex.vShown.push_back(str.substr(4));
      } else if (str.empty()) {
        if (boOutcome && ex.strOutcome.empty()) ex.strOutcome = firstSentence(strParagraph);
        strParagraph.clear();
      } else {
        if (strParagraph.empty()) boOutcome = str.rfind("Run on the sample", 0) == 0;
        strParagraph += (strParagraph.empty() ? "" : " ") + str;
      }
    }
    if (boOutcome && ex.strOutcome.empty()) ex.strOutcome = firstSentence(strParagraph);
    i--;
    readOutcome(ex);
    v.push_back(ex);
  }
  return v;
}

/* The rows of an IXF file (D records numbered 001), or an error text. */
std::string ixfRows(const std::string &strFile, int &iRows)
{
  iRows = 0;
  size_t at = 0;
  bool boFirst = true;
  while (at < strFile.size()) {
    if (at + 7 > strFile.size() || strFile.find_first_not_of("0123456789", at) < at + 6)
      return "no IXF record length at byte " + std::to_string(at);
    size_t n = std::stoul(strFile.substr(at, 6));
    if (at + 6 + n > strFile.size()) return "IXF record at byte " + std::to_string(at) + " runs past the end";
    char cType = strFile[at + 6];
    if (boFirst && cType != 'H') return "the IXF file does not begin with its H record";
    if (cType == 'D' && n >= 4 && strFile.compare(at + 7, 3, "001") == 0) iRows++;
    boFirst = false;
    at += 6 + n;
  }
  return boFirst ? "empty IXF file" : "";
}

/* Every file under strDir but the control file, by its name relative to strDir. */
std::set<std::string> filesUnder(const std::string &strDir)
{
  std::set<std::string> set;
  for (const auto &entry : fs::recursive_directory_iterator(strDir))
    if (entry.is_regular_file()) set.insert(fs::relative(entry.path(), strDir).string());
  set.erase("job.ctl");
  return set;
}

/* What the run in strDir left against the outcome of ex. */
void expectOutcome(const Example &ex, const zavprocResult &run, const std::string &strDir)
{
  EXPECT_EQ(run.iStatus, ex.iStatus) << run.strOut;
  for (const std::string &strId : ex.setMessages)
    EXPECT_NE(run.strOut.find(strId), std::string::npos) << strId << " not printed\n" << run.strOut;
  std::regex reBad("\\bZOR[A-Z][0-9]{3}[WE]\\b");
  for (std::sregex_iterator it(run.strOut.begin(), run.strOut.end(), reBad), end; it != end; ++it)
    EXPECT_TRUE(ex.setMessages.count(it->str())) << it->str() << " printed and not named by the guide\n" << run.strOut;

  std::set<std::string> setLeft = filesUnder(strDir);
  std::vector<std::string> vText;   /* the DEL and DELIMITED files' contents */
  for (const Expected &e : ex.vFiles) {
    SCOPED_TRACE(e.strName);
    if (e.strFormat == "LOB") {
      int iFound = 0;
      for (auto it = setLeft.begin(); it != setLeft.end();)
        if (it->rfind(e.strName, 0) == 0) {
          iFound++;
          it = setLeft.erase(it);
        } else {
          ++it;
        }
      EXPECT_EQ(iFound, e.iCount) << "LOB files " << e.strName << "*";
      continue;
    }
    if (setLeft.erase(e.strName) == 0) {
      ADD_FAILURE() << "not written: " << e.strName;
      continue;
    }
    std::string strFile = zavtestReadText(strDir + "/" + e.strName);
    int iRows = 0;
    if (e.strFormat == "IXF") {
      std::string strError = ixfRows(strFile, iRows);
      EXPECT_EQ(strError, "");
    } else {
      EXPECT_FALSE(strFile.size() >= 7 && strFile.find_first_not_of("0123456789") == 6 && strFile[6] == 'H')
          << "an IXF file, not " << e.strFormat;
      EXPECT_TRUE(strFile.empty() || strFile.back() == '\n') << "the last line has no end";
      iRows = static_cast<int>(std::count(strFile.begin(), strFile.end(), '\n'));
      vText.push_back("\n" + strFile);
    }
    if (e.iCount >= 0) {
      EXPECT_EQ(iRows, e.iCount) << "rows of " << e.strName;
    }
  }
  std::string strLeft;
  for (const std::string &str : setLeft) strLeft += " " + str;
  EXPECT_TRUE(setLeft.empty()) << "written and not named by the guide:" << strLeft;
  for (const std::string &strLine : ex.vShown) {
    bool boFound = std::any_of(vText.begin(), vText.end(), [&](const std::string &strText) {
      return strText.find("\n" + strLine + "\n") != std::string::npos;
    });
    EXPECT_TRUE(boFound) << "the guide shows a line no file of the example holds: " << strLine;
  }
}

}  // namespace

/* Every complete control file of the guide says what it does, in a form
   the run below can check. */
TEST(GuideExamples, EveryCompleteControlFileStatesItsOutcome)
{
  std::vector<Example> v = guideExamples();
  EXPECT_GE(v.size(), 11u);
  for (const Example &ex : v) {
    SCOPED_TRACE("control-file.md:" + std::to_string(ex.iLine));
    EXPECT_NE(ex.strOutcome, "") << "no \"Run on the sample\" paragraph after the example";
    EXPECT_GE(ex.iStatus, 0) << "no exit status in: " << ex.strOutcome;
    EXPECT_TRUE(ex.boNothing == ex.vFiles.empty())
        << "names no file and does not say it writes nothing, or both: " << ex.strOutcome;
  }
}

/* The sample instance, built once, on which the examples run. */
class GuideExamplesOnTheSample : public ::testing::Test {
 protected:
  static void SetUpTestSuite()
  {
    gstrDir = zavprocBuildSample("/tmp/guideexamples_testXXXXXX", false);
    ASSERT_FALSE(gstrDir.empty()) << "the sample instance could not be built";
  }
  static void TearDownTestSuite()
  {
    if (!gstrDir.empty()) fs::remove_all(gstrDir);
  }
  static std::string gstrDir;
};

std::string GuideExamplesOnTheSample::gstrDir;

TEST_F(GuideExamplesOnTheSample, EveryCompleteControlFileDoesWhatTheGuideSays)
{
  ASSERT_FALSE(gstrDir.empty());
  const char *pcAsan = std::getenv("ASAN_OPTIONS");
  for (const Example &ex : guideExamples()) {
    SCOPED_TRACE("control-file.md:" + std::to_string(ex.iLine) + "\n" + ex.strControl + ex.strOutcome);
    std::string strCwd = gstrDir + "/sample/example" + std::to_string(ex.iLine);
    fs::create_directories(strCwd);
    for (const std::string &str : ex.vMkdir) fs::create_directories(strCwd + "/" + str);
    std::ofstream(strCwd + "/job.ctl") << ex.strControl;
    zavprocResult run =
        zavprocRunSampleJob(strCwd, gstrDir + "/sample/topzav", gstrDir + "/sample/home", pcAsan ? pcAsan : "");
    expectOutcome(ex, run, strCwd);
  }
}
