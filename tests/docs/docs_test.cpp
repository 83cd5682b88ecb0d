/*
** docs_test.cpp
**   The user's documents against the code they describe: the control-file
**   reference names every keyword of the token list and its complete
**   examples parse; the messages document is generated from every message
**   table with an explanation for each identifier, the committed copy is
**   current, and every message identifier the code uses is in a table; the
**   manual page formats without a warning and names every option and every
**   environment variable the program reads; the documents' links resolve.
*/
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/control/zor3test.h"
#include "tests/zavtest.h"
#include "tests/zavproc.h"

namespace fs = std::filesystem;

namespace {

const std::string gstrSource = ZAV_SOURCE_DIR;
const std::string gstrBinary = ZAV_BINARY_DIR;

using Output = zavprocResult;

/* Runs the command (searched in PATH) with the extra environment entries,
** standard input from /dev/null; standard output and error kept apart. */
Output runCommand(const std::vector<std::string> &vArgs, const std::map<std::string, std::string> &mEnv = {})
{
  zavprocSpec spec;
  spec.vArgv = vArgs;
  spec.boSearchPath = true;
  spec.mEnv = mEnv;
  spec.boExactEnv = false;
  return zavprocRun(spec, true);
}

/* The source files of the program and the daemon library (not the tests,
** not the build trees). */
std::vector<fs::path> sourceFiles()
{
  static const std::set<std::string> setExtensions = {".cpp", ".h", ".y", ".def"};
  std::vector<fs::path> v;
  for (const char *pcFolder : {"common", "control", "driver", "expr", "catalog", "storage", "run", "daemonlib",
                               "platform", "msg", "tools"}) {
    fs::path dir = fs::path(gstrSource) / pcFolder;
    if (!fs::exists(dir)) continue;
    for (const auto &entry : fs::recursive_directory_iterator(dir))
      if (entry.is_regular_file() && setExtensions.count(entry.path().extension().string()) != 0)
        v.push_back(entry.path());
  }
  return v;
}

/* The words of a text: runs of letters, digits and underscores. */
std::vector<std::string> wordsOf(const std::string &strText)
{
  std::vector<std::string> v;
  size_t i = 0;
  auto isWord = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
  while (i < strText.size()) {
    while (i < strText.size() && !isWord(strText[i])) i++;
    size_t j = i;
    while (j < strText.size() && isWord(strText[j])) j++;
    if (j > i) v.push_back(strText.substr(i, j - i));
    i = j;
  }
  return v;
}

/* A message identifier: three capitals, a capital or digit, three digits,
** the severity letter. */
bool isMessageId(const std::string &str)
{
  if (str.size() != 8) return false;
  for (int i = 0; i < 3; i++)
    if (!std::isupper(static_cast<unsigned char>(str[i]))) return false;
  if (!std::isupper(static_cast<unsigned char>(str[3])) && !std::isdigit(static_cast<unsigned char>(str[3])))
    return false;
  for (int i = 4; i < 7; i++)
    if (!std::isdigit(static_cast<unsigned char>(str[i]))) return false;
  return std::strchr("IWEF", str[7]) != nullptr;
}

/* The arguments of every call getenv(X) in the text, as written. */
std::vector<std::string> getenvArguments(const std::string &strText)
{
  std::vector<std::string> v;
  for (size_t i = strText.find("getenv("); i != std::string::npos; i = strText.find("getenv(", i + 1)) {
    size_t j = strText.find(')', i);
    if (j == std::string::npos) break;
    std::string str = strText.substr(i + 7, j - i - 7);
    str.erase(0, str.find_first_not_of(' '));
    str.erase(str.find_last_not_of(' ') + 1);
    v.push_back(str);
  }
  return v;
}

/* Words of the text that stand in code: inline code spans and fenced or
** indented code blocks. */
std::set<std::string> codeWords(const std::string &strDoc)
{
  std::string strCode;
  std::istringstream lines(strDoc);
  std::string strLine;
  bool boFence = false;
  while (std::getline(lines, strLine)) {
    if (strLine.rfind("```", 0) == 0) {
      boFence = !boFence;
      continue;
    }
    if (boFence || strLine.rfind("    ", 0) == 0) {
      strCode += strLine + "\n";
      continue;
    }
    for (size_t i = strLine.find('`'); i != std::string::npos; i = strLine.find('`', i)) {
      size_t j = strLine.find('`', i + 1);
      if (j == std::string::npos) break;
      strCode += strLine.substr(i + 1, j - i - 1) + "\n";
      i = j + 1;
    }
  }
  std::set<std::string> set;
  std::regex word("[A-Za-z_][A-Za-z0-9_]*");
  for (auto it = std::sregex_iterator(strCode.begin(), strCode.end(), word); it != std::sregex_iterator(); ++it)
    set.insert(it->str());
  return set;
}

/* Where two texts first differ, as a line of each; empty when equal. */
std::string firstDifference(const std::string &strA, const std::string &strB)
{
  if (strA == strB) return "";
  std::istringstream a(strA), b(strB);
  std::string strLineA, strLineB;
  for (int iLine = 1;; iLine++) {
    bool boA = static_cast<bool>(std::getline(a, strLineA));
    bool boB = static_cast<bool>(std::getline(b, strLineB));
    if (!boA && !boB) return "they differ in their line ends";
    if (!boA || !boB || strLineA != strLineB)
      return "line " + std::to_string(iLine) + ":\n  " + (boA ? strLineA : "(end)") + "\n  " +
             (boB ? strLineB : "(end)");
  }
}

/* The fenced blocks of the document whose info string is pcInfo. */
std::vector<std::string> fencedBlocks(const std::string &strDoc, const std::string &strInfo)
{
  std::vector<std::string> v;
  std::istringstream lines(strDoc);
  std::string strLine, strBlock;
  bool boIn = false;
  while (std::getline(lines, strLine)) {
    if (!boIn && strLine == "```" + strInfo) {
      boIn = true;
      strBlock.clear();
    } else if (boIn && strLine == "```") {
      boIn = false;
      v.push_back(strBlock);
    } else if (boIn) {
      strBlock += strLine + "\n";
    }
  }
  return v;
}

/* A fragment of the reference ("```ctl fragment") made a whole request:
   a GLOBAL block or an UNLOAD block's head gets a SELECT after it, a SELECT
   its block, a clause a SELECT to follow. */
std::string wholeRequest(const std::string &strFragment)
{
  const std::string strSelect = "  SELECT * FROM ZAVTEST.DEPT ; OUTPUT(\"dept.del\")\n;\n";
  if (strFragment.rfind("GLOBAL", 0) == 0) return strFragment + "UNLOAD TABLESPACE USERSPACE1\n" + strSelect;
  if (strFragment.rfind("UNLOAD", 0) == 0) return strFragment + strSelect;
  if (strFragment.rfind("SELECT", 0) == 0) return "UNLOAD TABLESPACE DMSDATA\n" + strFragment + "  OUTPUT(\"x.del\")\n;\n";
  return "UNLOAD TABLESPACE USERSPACE1\n  SELECT * FROM ZAVTEST.DEPT ;\n" + strFragment + ";\n";
}

}  // namespace

/* ------------------------------------------------------------------ control-file reference */

TEST(ControlFileReference, NamesEveryKeywordOfTheTokenList)
{
  std::string strDoc = zavtestReadText(gstrSource + "/docs/control-file.md");
  ASSERT_FALSE(strDoc.empty());
  std::set<std::string> setWords = codeWords(strDoc);
  std::string strTokens = zavtestReadText(gstrSource + "/control/tokens.def");
  std::regex keyword("ZTOK\\(([A-Z0-9_]+)_KW\\)");
  std::vector<std::string> vMissing;
  int iKeywords = 0;
  for (auto it = std::sregex_iterator(strTokens.begin(), strTokens.end(), keyword); it != std::sregex_iterator();
       ++it) {
    iKeywords++;
    if (setWords.count((*it)[1].str()) == 0) vMissing.push_back((*it)[1].str());
  }
  EXPECT_GT(iKeywords, 150);
  std::string strMissing;
  for (const auto &str : vMissing) strMissing += " " + str;
  EXPECT_TRUE(vMissing.empty()) << "keywords not shown as code in docs/control-file.md:" << strMissing;
}

/* Every complete control file of the reference is one the parser runs
   (tests/docs/guideexamples_test.cpp runs them on the sample), and so is
   each item of its fragments, an item being a line and the indented lines
   after it, once made a whole request. */
TEST(ControlFileReference, ExamplesParse)
{
  ASSERT_EQ(tokenInitKeyword(), 0);
  std::string strDoc = zavtestReadText(gstrSource + "/docs/control-file.md");
  std::vector<std::string> vExamples = fencedBlocks(strDoc, "ctl");
  EXPECT_GE(vExamples.size(), 11u);
  for (const auto &strExample : vExamples) {
    SCOPED_TRACE(strExample);
    zor3test::Parse parse(strExample);
    EXPECT_TRUE(parse.Runnable()) << parse.AllMessages();
  }
  std::vector<std::string> vItems;
  for (const auto &strFragment : fencedBlocks(strDoc, "ctl fragment")) {
    std::istringstream lines(strFragment);
    for (std::string strLine; std::getline(lines, strLine);) {
      if (!strLine.empty() && strLine[0] == ' ' && !vItems.empty())
        vItems.back() += strLine + "\n";
      else
        vItems.push_back(strLine + "\n");
    }
  }
  EXPECT_GE(vItems.size(), 15u);
  for (const auto &strItem : vItems) {
    SCOPED_TRACE(wholeRequest(strItem));
    zor3test::Parse parse(wholeRequest(strItem));
    EXPECT_TRUE(parse.Runnable()) << parse.AllMessages();
  }
  /* ... and so are those of the manual page and the sample. */
  zor3test::Parse sample(zavtestReadText(gstrSource + "/tools/sample/unload.ctl"));
  EXPECT_TRUE(sample.Runnable()) << sample.AllMessages();
}

/* ------------------------------------------------------------------ messages */

/* The identifiers the messages document gives: its headings and the
** identifiers texts print when they differ from their table's. */
std::set<std::string> documentedIds(const std::string &strDoc)
{
  std::set<std::string> set;
  std::regex heading("(^|\n)## ([A-Z0-9]{8})\n");
  for (auto it = std::sregex_iterator(strDoc.begin(), strDoc.end(), heading); it != std::sregex_iterator(); ++it)
    set.insert((*it)[2].str());
  std::regex printed("Printed as `([A-Z0-9]{8})`");
  for (auto it = std::sregex_iterator(strDoc.begin(), strDoc.end(), printed); it != std::sregex_iterator(); ++it)
    set.insert((*it)[1].str());
  return set;
}

TEST(MessagesDocument, EveryMessageOfTheTablesIsExplained)
{
  zavtestTempDir dir;
  std::vector<std::string> vArgs = {ZAV_OMSGSDOC_PROGRAM, "--check", dir.file("messages.md"),
                                    gstrSource + "/msg/messages.txt"};
  std::istringstream tables(ZAV_DOC_TABLES);
  for (std::string str; std::getline(tables, str, '|');) vArgs.push_back(str);
  Output out = runCommand(vArgs);
  EXPECT_EQ(out.iStatus, 0) << out.strErr;
  EXPECT_EQ(out.strErr, "");
  std::string strDoc = zavtestReadText(dir.file("messages.md"));
  EXPECT_EQ(strDoc.find("(no explanation yet)"), std::string::npos);
  /* the build's copy is the same document */
  EXPECT_EQ(firstDifference(zavtestReadText(gstrBinary + "/docs/messages.md"), strDoc), "");
}

TEST(MessagesDocument, CommittedCopyIsCurrent)
{
  EXPECT_EQ(firstDifference(zavtestReadText(gstrSource + "/docs/messages.md"), zavtestReadText(gstrBinary + "/docs/messages.md")),
            "")
      << "docs/messages.md differs from the one the build made: cp " << gstrBinary << "/docs/messages.md "
      << gstrSource << "/docs/";
}

/* A message identifier written anywhere in the program's sources (a
** message issued, a comment naming one) is one the tables define. */
TEST(MessagesDocument, EveryIdentifierTheCodeUsesIsInATable)
{
  std::set<std::string> setIds = documentedIds(zavtestReadText(gstrBinary + "/docs/messages.md"));
  ASSERT_GT(setIds.size(), 100u);
  std::map<std::string, std::string> mapMissing;
  for (const fs::path &path : sourceFiles()) {
    /* The DB2 stand-in speaks with DB2's own CLI messages. */
    if (path.parent_path().filename() == "platform") continue;
    for (const std::string &strWord : wordsOf(zavtestReadText(path.string())))
      if (isMessageId(strWord) && setIds.count(strWord) == 0) mapMissing[strWord] = path.string();
  }
  std::string strMissing;
  for (const auto &[strId, strPath] : mapMissing) strMissing += "\n  " + strId + " in " + strPath;
  EXPECT_TRUE(mapMissing.empty()) << "identifiers in no message table:" << strMissing;
}

/* The document lists the messages in identifier order with text, meaning
** and action, the way the README's link promises. */
TEST(MessagesDocument, EntriesHaveTextMeaningAndAction)
{
  std::string strDoc = zavtestReadText(gstrBinary + "/docs/messages.md");
  std::regex entry("\n## ([A-Z0-9]{8})\n\n(Printed as [^\n]*\n\n)?(    [^\n]*\n)+\n\\*\\*Meaning\\.\\*\\* [^\n]+\n\n"
                   "\\*\\*Action\\.\\*\\* [^\n]+\n");
  size_t ulEntries = 0;
  std::string strPrevious;
  for (auto it = std::sregex_iterator(strDoc.begin(), strDoc.end(), entry); it != std::sregex_iterator(); ++it) {
    ulEntries++;
    EXPECT_LT(strPrevious, (*it)[1].str());
    strPrevious = (*it)[1].str();
  }
  std::regex heading("\n## ");
  EXPECT_EQ(ulEntries, static_cast<size_t>(std::distance(
                           std::sregex_iterator(strDoc.begin(), strDoc.end(), heading), std::sregex_iterator())));
  /* the table text, placeholders named */
  EXPECT_NE(strDoc.find("## ZORU347E\n\n    ZORU347E IO FAILURE ON FILE <text> (<text>)\n"), std::string::npos);
  EXPECT_NE(strDoc.find("    ZORU366I ZAV RETURN CODE <number> (REASON CODE 0x<hex>)\n"), std::string::npos);
}

/* ------------------------------------------------------------------ exit statuses */

/* The part of a text from the line that holds "exit-statuses:begin" to the
** line that holds "exit-statuses:end", both included; empty without one. */
std::string statusesPart(const std::string &strText)
{
  size_t ulBegin = strText.find("exit-statuses:begin");
  size_t ulEnd = ulBegin == std::string::npos ? ulBegin : strText.find("exit-statuses:end", ulBegin);
  if (ulEnd == std::string::npos) return "";
  ulBegin = strText.rfind('\n', ulBegin);
  ulBegin = ulBegin == std::string::npos ? 0 : ulBegin + 1;
  ulEnd = strText.find('\n', ulEnd);
  return strText.substr(ulBegin, ulEnd == std::string::npos ? std::string::npos : ulEnd + 1 - ulBegin);
}

/* The program's and the daemon library's sources, as the build hands them
** to the generator. */
std::vector<std::string> reasonSources()
{
  std::vector<std::string> v;
  for (const char *pcFolder :
       {"common", "model", "expr", "io", "storage", "catalog", "run", "control", "driver", "daemonlib"})
    for (const auto &entry : fs::recursive_directory_iterator(fs::path(gstrSource) / pcFolder)) {
      std::string strExtension = entry.path().extension().string();
      if (entry.is_regular_file() && (strExtension == ".h" || strExtension == ".cpp" || strExtension == ".y"))
        v.push_back(entry.path().string());
    }
  std::sort(v.begin(), v.end());
  return v;
}

/* Runs the generator of the exit-status table over the sources; the
** fragments land in dir. */
Output runStatuses(const zavtestTempDir &dir, const std::vector<std::string> &vSources)
{
  std::vector<std::string> vArgs = {ZAV_OMSGSDOC_PROGRAM, "--statuses", "--check", dir.file("s.md"),
                                    dir.file("s.roff"), "--"};
  vArgs.insert(vArgs.end(), vSources.begin(), vSources.end());
  return runCommand(vArgs);
}

TEST(ExitStatuses, GeneratedFromEveryReasonCodeWithoutProblems)
{
  zavtestTempDir dir;
  Output out = runStatuses(dir, reasonSources());
  EXPECT_EQ(out.iStatus, 0) << out.strErr;
  EXPECT_EQ(out.strErr, "");
  /* the build's fragments are the same */
  EXPECT_EQ(firstDifference(zavtestReadText(gstrBinary + "/docs/exit-statuses.md"), zavtestReadText(dir.file("s.md"))),
            "");
  EXPECT_EQ(
      firstDifference(zavtestReadText(gstrBinary + "/docs/exit-statuses.roff"), zavtestReadText(dir.file("s.roff"))),
      "");
}

TEST(ExitStatuses, CommittedCopiesAreCurrent)
{
  const std::string strUpdate = "cmake --build " + gstrBinary + " --target zavdocs-update";
  std::string strMd = zavtestReadText(gstrBinary + "/docs/exit-statuses.md");
  ASSERT_NE(statusesPart(strMd), "");
  EXPECT_EQ(firstDifference(statusesPart(zavtestReadText(gstrSource + "/README.md")), strMd), "")
      << "the README's exit statuses differ from the generated ones: " << strUpdate;
  std::string strRoff = zavtestReadText(gstrBinary + "/docs/exit-statuses.roff");
  ASSERT_NE(statusesPart(strRoff), "");
  EXPECT_EQ(firstDifference(statusesPart(zavtestReadText(gstrSource + "/docs/db2zav.1.in")), strRoff), "")
      << "the manual page's exit statuses differ from the generated ones: " << strUpdate;
  /* and the page that is built carries them */
  EXPECT_NE(zavtestReadText(gstrBinary + "/man/man1/db2zav.1").find(strRoff), std::string::npos);
}

/*
** The generator on small sources: which codes it lists under which status,
** as what, and the faults it reports (a warning status that something else
** gives too, a listed code without meaning).
*/
TEST(ExitStatuses, GeneratorListsAndChecksTheCodes)
{
  struct {
    const char *pcWhat;
    const char *pcSource;
    int iStatus;                        /* of the generator */
    std::vector<std::string> vRows;     /* rows the table must hold */
    std::vector<std::string> vAbsent;   /* texts it must not hold */
    const char *pcProblem;              /* part of the problem reported, or "" */
  } aCases[] = {
      {"errors, a warning a run ends with, a code of two names, a code its callers act on",
       "#define A_RC_ONE ORC_MAKE(0x105, 2, 0x003)   /* 0x105a003 the first failure */\n"
       "/* The second failure,\n** told above. */\n#define B_RC_TWO 0x107C003\n"
       "#define C_RC_SAME ORC_MAKE(0x105, 2, 3)  /* another name of the first */\n"
       "#define D_RC_CUT ORC_RUN_WARNING(0x10d, 0x0c8)  /* 0x10d90c8 warning: values were cut (ZORU462W) */\n"
       "#define E_RC_END ORC_MAKE(0x113, 1, 0x001)  /* the end of the data */\n"
       "#define F_LIMIT 0x10000  /* not a reason code */\n",
       0,
       {"| 3 | error | 8, 16 | `0x105a003` the first failure; another name of the first; `0x107c003` the second "
        "failure, told above; system error ESRCH (No such process) |",
        "| 200 | warning | 4 | `0x10d90c8` values were cut (ZORU462W) |",
        /* statuses that are only a system error number share a row */
        "| 1–2 | error | 8 | system error 1 EPERM (Operation not permitted); 2 ENOENT (No such file or directory) |"},
       {"0x1139001", "0x10000"}, ""},
      {"a code that carries a system error number", "#define T_RC_IO 0x114A000  /* | errno: a file failed */\n", 0,
       {"`0x114a0nn` (errno: a file failed)"}, {"`0x114a000`"}, ""},
      {"a warning status that is a system error number",
       "#define W_RC_CUT ORC_RUN_WARNING(0x10d, 0x00d)  /* values were cut */\n", 1, {}, {},
       "W_RC_CUT ends a run with status 13"},
      {"a warning status that an error gives too",
       "#define W_RC_CUT ORC_RUN_WARNING(0x10d, 0x0c8)  /* values were cut */\n"
       "#define X_RC_BAD ORC_MAKE(0x105, 2, 0x0c8)  /* a failure */\n",
       1, {}, {}, "X_RC_BAD shares its low byte with the warning W_RC_CUT"},
      {"a warning status that a process exits with", 
       "#define W_RC_CUT ORC_RUN_WARNING(0x10d, 0x0c4)  /* values were cut */\n#define Y_EXIT_NOMEM 4036\n", 1,
       {}, {}, "Y_EXIT_NOMEM shares its low byte with the warning W_RC_CUT"},
      {"a listed code without meaning", "#define Z_RC_BARE 0x105a0ff\n", 1, {"`0x105a0ff` |"}, {},
       "Z_RC_BARE has no meaning"},
  };
  for (const auto &c : aCases) {
    SCOPED_TRACE(c.pcWhat);
    zavtestTempDir dir;
    std::ofstream(dir.file("codes.h")) << c.pcSource;
    Output out = runStatuses(dir, {dir.file("codes.h")});
    EXPECT_EQ(out.iStatus, c.iStatus) << out.strErr;
    if (*c.pcProblem == '\0') EXPECT_EQ(out.strErr, "");
    else EXPECT_NE(out.strErr.find(c.pcProblem), std::string::npos) << out.strErr;
    std::string strMd = zavtestReadText(dir.file("s.md"));
    for (const std::string &str : c.vRows) EXPECT_NE(strMd.find(str), std::string::npos) << str << "\n" << strMd;
    for (const std::string &str : c.vAbsent) EXPECT_EQ(strMd.find(str), std::string::npos) << str << "\n" << strMd;
  }
}

/* ------------------------------------------------------------------ manual page */

const std::string gstrManPage = gstrBinary + "/man/man1/db2zav.1";

TEST(ManualPage, FormatsWithoutWarnings)
{
  ASSERT_TRUE(fs::exists(gstrManPage));
  Output groff = runCommand({"groff", "-ww", "-man", "-Tutf8", "-z", gstrManPage});
  EXPECT_EQ(groff.iStatus, 0);
  EXPECT_EQ(groff.strErr, "");
  /* man -l as a reader types it, without a pager. */
  Output man = runCommand({"man", "--warnings=w", "-l", gstrManPage}, {{"MANPAGER", "cat"}, {"PAGER", "cat"},
                                                                       {"MANWIDTH", "80"}});
  EXPECT_EQ(man.iStatus, 0) << man.strErr;
  EXPECT_EQ(man.strErr, "");
  EXPECT_NE(man.strOut.find("EXIT STATUS"), std::string::npos);
  EXPECT_NE(man.strOut.find("db2zav"), std::string::npos);
}

/* Every long option of the option table and every environment variable
** the sources read is described. */
TEST(ManualPage, NamesEveryOptionAndEnvironmentVariable)
{
  std::string strPage = zavtestReadText(gstrManPage);
  std::string strArgs = zavtestReadText(gstrSource + "/driver/args.cpp");
  std::regex option("\\{\"([a-z_]+)\", ZOR3_[A-Z_]+_ARGUMENT");
  int iOptions = 0;
  for (auto it = std::sregex_iterator(strArgs.begin(), strArgs.end(), option); it != std::sregex_iterator(); ++it) {
    iOptions++;
    std::string strName = (*it)[1].str();
    EXPECT_NE(strPage.find("\\-\\-" + strName), std::string::npos) << "option --" << strName;
  }
  EXPECT_GE(iOptions, 20);

  std::set<std::string> setNames;
  std::string strAll;
  for (const fs::path &path : sourceFiles()) strAll += zavtestReadText(path.string());
  for (const std::string &strArgument : getenvArguments(strAll)) {
    if (strArgument.size() > 2 && strArgument.front() == '"' && strArgument.back() == '"') {
      setNames.insert(strArgument.substr(1, strArgument.size() - 2));
      continue;
    }
    /* a macro: its #define gives the name */
    std::smatch m;
    std::regex define("#define " + strArgument + " +\"([A-Z0-9_]+)\"");
    if (std::regex_search(strAll, m, define)) setNames.insert(m[1].str());
    else ADD_FAILURE() << "getenv of " << strArgument << ": no #define of its name";
  }
  EXPECT_GE(setNames.size(), 5u);
  for (const std::string &strName : setNames)
    EXPECT_NE(strPage.find(".B " + strName + "\n"), std::string::npos) << "environment variable " << strName;
}

TEST(ManualPage, CarriesTheProgramsVersion)
{
  std::string strMain = zavtestReadText(gstrSource + "/driver/zormain.cpp");
  std::smatch m;
  ASSERT_TRUE(std::regex_search(strMain, m, std::regex("gacMainVersion\\[\\] = \"([^\"]+)\"")));
  EXPECT_NE(zavtestReadText(gstrManPage).find(m[1].str()), std::string::npos);
}

/* ------------------------------------------------------------------ links */

/* Relative links of the README and of the documents lead to files. */
TEST(Documents, RelativeLinksResolve)
{
  std::regex link("\\]\\(([^)#: ]+)(#[^)]*)?\\)");
  for (const char *pcDoc : {"README.md", "docs/control-file.md", "docs/messages.md", "docs/daemon.md"}) {
    fs::path path = fs::path(gstrSource) / pcDoc;
    std::string strText = zavtestReadText(path.string());
    ASSERT_FALSE(strText.empty()) << pcDoc;
    for (auto it = std::sregex_iterator(strText.begin(), strText.end(), link); it != std::sregex_iterator(); ++it)
      EXPECT_TRUE(fs::exists(path.parent_path() / (*it)[1].str())) << pcDoc << ": " << (*it)[1].str();
  }
  std::string strReadme = zavtestReadText(gstrSource + "/README.md");
  EXPECT_NE(strReadme.find("(docs/control-file.md)"), std::string::npos);
  EXPECT_NE(strReadme.find("(docs/messages.md)"), std::string::npos);
}
