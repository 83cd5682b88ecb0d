/*
** stats_test.cpp
**   Timing statistics: the duration texts (single-precision rounding), the
**   ZORU411I and ZORU412I reports, the mode that reports nothing, and the
**   "$STATS" trace lines written through a real message centre.
*/
#include "model/stats.h"

#include <gtest/gtest.h>

#include "tests/zavtest.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "common/ochar.h"
#include "common/omsgs.h"
#include "common/ostack.h"

namespace fs = std::filesystem;

namespace {

/* The real time that ZORU411I reports for a span. */
std::string RealTime(long lSecBeg, long lUsecBeg, long lSecEnd, long lUsecEnd)
{
  struct timeval tvBeg = {lSecBeg, lUsecBeg}, tvEnd = {lSecEnd, lUsecEnd};
  std::vector<std::string> texts = zavtestMessages([&] { statsCalcul(STATS_MODE_SELF, &tvBeg, &tvEnd); });
  if (texts.size() != 1) return "(" + std::to_string(texts.size()) + " messages)";
  std::smatch m;
  if (!std::regex_search(texts[0], m, std::regex("REAL TIME -> (\\S+)\n"))) return texts[0];
  return m[1];
}

const char *const pcDuration = R"(\d+m\d+\.\d{6}s)";

}  // namespace

TEST(statsCalcul, DurationsCarrySinglePrecision)
{
  struct Case {
    long lSecBeg, lUsecBeg, lSecEnd, lUsecEnd;
    const char *pcExpected;
  } acases[] = {
      {100, 0, 175, 500000, "1m15.500000s"},
      {0, 0, 3723, 123456, "62m3.123535s"},     /* seven significant digits */
      {1000, 0, 1059, 999999, "1m0.000000s"},   /* rounds up to a whole minute */
      {5, 5, 5, 5, "0m0.000000s"},
      {10, 900000, 12, 100000, "0m1.200000s"},  /* microseconds borrow */
      {0, 0, 60, 0, "1m0.000000s"},
      {0, 0, 7199, 0, "119m59.000000s"},
  };
  for (const Case &c : acases)
    EXPECT_EQ(RealTime(c.lSecBeg, c.lUsecBeg, c.lSecEnd, c.lUsecEnd), c.pcExpected) << c.pcExpected;
}

TEST(statsCalcul, ReportsPerMode)
{
  struct timeval tvBeg = {0, 0}, tvEnd = {75, 500000};

  std::vector<std::string> texts = zavtestMessages([&] { EXPECT_EQ(statsCalcul(STATS_MODE_SELF, &tvBeg, &tvEnd), 0); });
  ASSERT_EQ(texts.size(), 1u);
  std::string strD = pcDuration;
  EXPECT_TRUE(std::regex_match(texts[0], std::regex("ZORU411I ZAV SUCCESSFULLY ENDED: REAL TIME -> 1m15.500000s\n"
                                                    "USER TIME -> " + strD + "\nSYSTEM TIME -> " + strD + "\n")))
      << texts[0];

  texts = zavtestMessages([&] { statsCalcul(STATS_MODE_CHILDREN, &tvBeg, &tvEnd); });
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_TRUE(std::regex_match(
      texts[0], std::regex("ZORU412I ZAV SUCCESSFULLY ENDED: REAL TIME -> 1m15.500000s\n"
                           "USER TIME -> " + strD + " : FATHER -> " + strD + ", CHILDREN -> " + strD + "\n"
                           "SYSTEM TIME -> " + strD + " : FATHER -> " + strD + ", CHILDREN -> " + strD + "\n")))
      << texts[0];

  texts = zavtestMessages([&] { statsCalcul(2, &tvBeg, &tvEnd); });
  EXPECT_TRUE(texts.empty());
}

TEST(statsCalcul, ChildrenTimesAddUp)
{
  /* Give the children some user time to count. */
  fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    volatile double d = 0;
    for (long i = 0; i < 60000000; i++) d = d + 1e-9 * static_cast<double>(i);
    _exit(0);
  }
  waitpid(pid, nullptr, 0);
  struct timeval tvBeg = {0, 0}, tvEnd = {0, 0};
  std::vector<std::string> texts = zavtestMessages([&] { statsCalcul(STATS_MODE_CHILDREN, &tvBeg, &tvEnd); });
  ASSERT_EQ(texts.size(), 1u);
  std::smatch m;
  ASSERT_TRUE(std::regex_search(texts[0], m,
                                std::regex(R"(USER TIME -> (\d+)m([\d.]+)s : FATHER -> (\d+)m([\d.]+)s, CHILDREN -> (\d+)m([\d.]+)s)")));
  auto seconds = [&](int i) { return std::stod(m[i]) * 60 + std::stod(m[i + 1]); };
  EXPECT_GT(seconds(5), 0.0);
  EXPECT_NEAR(seconds(1), seconds(3) + seconds(5), 1e-5);
}

TEST(statsTrace, MilestonesAndTimesInTheTraceFile)
{
  char acDir[] = "/tmp/statsXXXXXX";
  ASSERT_NE(mkdtemp(acDir), nullptr);
  std::string strDir = acDir;
  fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    alarm(60);
    if (chdir(strDir.c_str()) != 0) _exit(2);
    ochar *pcharList = ocharCreate(0, 850);
    ocharAppendFixed(pcharList, "$STATS ", 7);
    int iCentre = 0;
    if (omsgsInitModule("/", static_cast<int>(getpid()), nullptr, 0, 0, pcharList, 1, &iCentre, nullptr,
                        nullptr) != 0)
      _exit(3);
    ocharDestroy(pcharList);
    struct timeval tvBeg = {0, 0}, tvEnd = {75, 500000};
    statsTimeTrace("Before control step");
    statsCalculTrace("Reader", STATS_MODE_SELF, &tvBeg, &tvEnd);
    statsCalculTrace("Select", STATS_MODE_CHILDREN, &tvBeg, &tvEnd);
    statsCalculTrace("Nothing", 2, &tvBeg, &tvEnd);
    omsgsDestroyModule(iCentre);
    _exit(0);
  }
  int iStatus = -1;
  waitpid(pid, &iStatus, 0);
  ASSERT_TRUE(WIFEXITED(iStatus) && WEXITSTATUS(iStatus) == 0) << iStatus;

  char acName[32];
  snprintf(acName, sizeof(acName), "$STATS_%5.5i", static_cast<int>(pid));
  std::ifstream in(strDir + "/" + acName);
  std::stringstream ss;
  ss << in.rdbuf();
  std::string strTrace = ss.str();
  std::error_code ec;
  fs::remove_all(strDir, ec);

  std::string strD = pcDuration;
  /* 5 milliseconds print as ".5": no leading zeros. */
  EXPECT_TRUE(std::regex_search(strTrace, std::regex(R"(Before control step -> \d\d:\d\d:\d\d\.([1-9]\d{0,2}|0)\n)")))
      << strTrace;
  EXPECT_TRUE(std::regex_search(strTrace, std::regex("Reader:\nReal time -> 1m15.500000s\nUser time -> " + strD +
                                                     "\nSyst time -> " + strD + "\n")))
      << strTrace;
  EXPECT_TRUE(std::regex_search(
      strTrace, std::regex("Select:\nReal time -> 1m15.500000s\nUser time -> " + strD + " : Father -> " + strD +
                           ", {24}Children -> " + strD + "\nSyst time -> " + strD + " : Father -> " + strD +
                           ", {24}Children -> " + strD + "\n")))
      << strTrace;
  EXPECT_EQ(strTrace.find("Nothing"), std::string::npos);
}
