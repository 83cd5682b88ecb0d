/*
** zorurunvalues_test.cpp
**   The whole program on private instances whose tables hold values at the
**   edges of what the readers and the WHERE evaluator were sized for:
**     - character values longer than 258 bytes under a WHERE on them;
**     - a NOT NULL WITH DEFAULT column added after rows were written, under
**       a WHERE on it (the older rows compare as the default);
**     - LOBs whose first segment slot is empty, unloaded into LOB files by
**       the forked reader and by the threaded online reader: each LOB gets
**       a file of its own that holds its value.
**   Every run is checked for its exit status and its whole output.
*/
#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "tests/run/procinst.h"

namespace {

using db2pages::Column;
using db2pages::Value;
using procinst::Instance;
using procinst::Program;
using procinst::Table;

std::string _read(const std::string &strPath)
{
  std::vector<unsigned char> v = zavtestReadFile(strPath);
  return std::string(v.begin(), v.end());
}

/* A value of n characters cycling through the alphabet from c. */
std::string _pattern(size_t n, char c)
{
  std::string s;
  for (size_t i = 0; i < n; i++) s += static_cast<char>('a' + (c - 'a' + i) % 26);
  return s;
}

/* Runs the control file on the instance; the exit status, the output and the sysprint. */
struct Outcome {
  int iStatus = -1;
  std::string strOut, strSysprint;
};

Outcome _run(const Instance &inst, const std::string &strControl, const std::string &strOutput)
{
  std::filesystem::remove(inst.dir.path + "/run/" + strOutput);
  Program prog(inst, strControl);
  Outcome r;
  r.iStatus = prog.Wait();
  r.strSysprint = prog.Sysprint();
  r.strOut = _read(inst.dir.path + "/run/" + strOutput);
  return r;
}

/*
** VARCHAR(300) values of 280 and 300 bytes among short ones: no WHERE on
** the column drops a row for its length, and the values come out whole.
*/
TEST(ZorurunValues, WhereOnValuesLongerThan258BytesDropsNoRow)
{
  const std::vector<Column> vStored = {{1, 4, false}, {257, 300, true}};
  const std::vector<std::string> vValues = {"short", _pattern(280, 'a'), _pattern(300, 'c'), "", _pattern(259, 'z')};
  Table t;
  t.strName = "WIDE";
  t.vCatalog = {{"ID", "INTEGER", false, "", -1}, {"L", "VARCHAR(300)", true, "", -1}};
  std::vector<fictable::Bytes> vRecords;
  for (size_t i = 0; i < vValues.size(); i++)
    vRecords.push_back(db2pages::row(vStored, {db2pages::val(db2pages::le32(static_cast<uint32_t>(i + 1))),
                                               db2pages::val(vValues[i])}));
  t.vPages = procinst::DataPages(vStored, vRecords);
  Instance inst(t);
  ASSERT_TRUE(inst.boOk) << inst.strError;

  auto line = [&](size_t i) { return std::to_string(i + 1) + ",\"" + vValues[i] + "\"\n"; };
  struct Case {
    const char *pcWhere;
    std::vector<size_t> vRows;
  } aCases[] = {
      {"L <> 'short'", {1, 2, 3, 4}},
      {"L > 'b'", {0, 2, 4}},
      {"L >= 'c' AND L < 'd'", {2}},
      {"L = 'short' OR ID > 1", {0, 1, 2, 3, 4}},
  };
  std::vector<Case> vCases(std::begin(aCases), std::end(aCases));
  std::string strEqual = "L = '" + vValues[1] + "'";   /* a constant as long as the value */
  vCases.push_back({strEqual.c_str(), {1}});
  for (const Case &c : vCases) {
    SCOPED_TRACE(c.pcWhere);
    Outcome r = _run(inst, inst.Control("SELECT ID, L FROM ZAVTEST.WIDE", "wide.del", c.pcWhere, ""), "wide.del");
    std::string strWant;
    for (size_t i : c.vRows) strWant += line(i);
    EXPECT_EQ(r.iStatus, 0) << r.strSysprint;
    EXPECT_EQ(r.strOut, strWant) << r.strSysprint;
    EXPECT_EQ(r.strSysprint.find("ZORU365W"), std::string::npos) << r.strSysprint;
  }
}

/*
** Rows 1-4 were written before N (INTEGER NOT NULL WITH DEFAULT 7) and S
** (CHAR(3) NOT NULL WITH DEFAULT 'xyz') were added, rows 5-8 after, with
** their own values: a WHERE on N or S compares the older rows as 7 and
** 'xyz', as the output shows them.
*/
TEST(ZorurunValues, WhereOnAnAddedColumnComparesOlderRowsAsItsDefault)
{
  const std::vector<Column> vStored = {{1, 4, false}, {257, 10, true}, {1, 4, false}, {256, 3, false}};
  Table t;
  t.strName = "ADDED";
  t.vCatalog = {{"ID", "INTEGER", false, "", -1},
                {"V", "VARCHAR(10)", true, "", -1},
                {"N", "INTEGER", false, "7", -1},
                {"S", "CHAR(3)", false, "'xyz'", -1}};
  std::vector<fictable::Bytes> vRecords;
  const int aiN[] = {0, 0, 0, 0, 7, 8, 7, 9};
  const char *apcS[] = {"", "", "", "", "abc", "xyz", "xyz", "abc"};
  for (int i = 0; i < 8; i++) {
    std::vector<Value> v = {db2pages::val(db2pages::le32(static_cast<uint32_t>(i + 1))),
                            db2pages::val("v" + std::to_string(i + 1)),
                            db2pages::val(db2pages::le32(static_cast<uint32_t>(aiN[i]))),
                            db2pages::val(std::string(apcS[i]))};
    vRecords.push_back(db2pages::row(vStored, v, 0, i < 4 ? 2 : -1));
  }
  t.vPages = procinst::DataPages(vStored, vRecords);
  Instance inst(t);
  ASSERT_TRUE(inst.boOk) << inst.strError;

  auto line = [&](int i) {
    return std::to_string(i + 1) + ",\"v" + std::to_string(i + 1) + "\"," + std::to_string(i < 4 ? 7 : aiN[i]) +
           ",\"" + (i < 4 ? "xyz" : apcS[i]) + "\"\n";
  };
  struct Case {
    const char *pcWhere;
    std::vector<int> vRows;
  } aCases[] = {
      {"", {0, 1, 2, 3, 4, 5, 6, 7}},
      {"N = 7", {0, 1, 2, 3, 4, 6}},
      {"N > 7", {5, 7}},
      {"S = 'xyz'", {0, 1, 2, 3, 5, 6}},
      {"S <> 'xyz' OR N = 8", {4, 5, 7}},
  };
  for (const Case &c : aCases) {
    SCOPED_TRACE(c.pcWhere);
    Outcome r = _run(inst, inst.Control("SELECT ID, V, N, S FROM ZAVTEST.ADDED", "added.del", c.pcWhere, ""),
                 "added.del");
    std::string strWant;
    for (int i : c.vRows) strWant += line(i);
    EXPECT_EQ(r.iStatus, 0) << r.strSysprint;
    EXPECT_EQ(r.strOut, strWant) << r.strSysprint;
  }
}

/*
** Two CLOB columns; rows 1 and 2 each hold one LOB whose first segment
** slot is empty (a single 2 KB tail segment), row 3 two of them, row 4
** none, row 5 a NULL and one, row 6 two empty LOBs without segments.  Every LOB file named in the output is a
** file of its own that holds the value, on the forked and on the online
** reader, and with MAXROWS the rows written name only files that exist.
*/
TEST(ZorurunValues, EveryLobGetsAFileOfItsOwn)
{
  const std::vector<Column> vStored = {{1, 4, false}, {265, 0, true}, {265, 0, true}};
  procinst::LobObject lob;
  struct Lob {
    std::string strValue;
    bool boFirstEmpty;
    bool boNull = false;
  };
  const std::vector<std::pair<Lob, Lob>> vRows = {
      {{_pattern(1500, 'a'), true}, {"b1", false}},
      {{"a2", false}, {_pattern(1800, 'b'), true}},
      {{_pattern(1100, 'c'), true}, {_pattern(2048, 'd'), true}},
      {{"a4", false}, {"", false}},
      {{"", false, true}, {_pattern(1025, 'e'), true}},
      {{"", true}, {"", true}},
  };
  std::vector<fictable::Bytes> vRecords;
  for (size_t i = 0; i < vRows.size(); i++) {
    auto value = [&](const Lob &l) {
      return l.boNull ? db2pages::null() : db2pages::val(lob.descriptor(l.strValue, l.boFirstEmpty));
    };
    vRecords.push_back(db2pages::row(
        vStored, {db2pages::val(db2pages::le32(static_cast<uint32_t>(i + 1))), value(vRows[i].first),
                  value(vRows[i].second)}));
  }
  Table t;
  t.strName = "LOBS";
  t.vCatalog = {{"ID", "INTEGER", false, "", -1}, {"A", "CLOB(64K)", true, "", -1}, {"B", "CLOB(64K)", true, "", -1}};
  t.vPages = procinst::DataPages(vStored, vRecords);
  t.vLobPages = lob.pages();
  Instance inst(t);
  ASSERT_TRUE(inst.boOk) << inst.strError;

  for (const char *pcReader : {"forked", "online"}) {
    if (std::string(pcReader) == "online") inst.UseOnlineReader();
    for (int iMaxRows : {0, 3}) {
      SCOPED_TRACE(std::string(pcReader) + (iMaxRows ? " MAXROWS 3" : ""));
      std::filesystem::path dirLob = inst.dir.path + "/run/lobs";
      std::filesystem::remove_all(dirLob);
      std::filesystem::create_directories(dirLob);
      std::string strOptions = "LOBFILE(\"lob\") LOB IN(\"" + dirLob.string() + "\")";
      if (iMaxRows) strOptions += " MAXROWS " + std::to_string(iMaxRows);
      Outcome r = _run(inst, inst.Control("SELECT ID, A, B FROM ZAVTEST.LOBS", "lobs.del", "", strOptions), "lobs.del");
      EXPECT_EQ(r.iStatus, 0) << r.strSysprint;

      /* each line: ID, then each LOB as the name of its file (a NULL as nothing) */
      std::istringstream in(r.strOut);
      std::set<std::string> setNames;
      size_t ulLines = 0;
      for (std::string strLine; std::getline(in, strLine); ulLines++) {
        SCOPED_TRACE(strLine);
        ASSERT_LT(ulLines, vRows.size());
        std::smatch m;
        ASSERT_TRUE(std::regex_match(strLine, m, std::regex("(\\d+),(\"([^\"]*)\")?,(\"([^\"]*)\")?")));
        EXPECT_EQ(m[1].str(), std::to_string(ulLines + 1));
        const Lob *apLob[2] = {&vRows[ulLines].first, &vRows[ulLines].second};
        for (int k = 0; k < 2; k++) {
          std::string strName = m[3 + 2 * k].str();
          if (apLob[k]->boNull) {
            EXPECT_FALSE(m[2 + 2 * k].matched);
            continue;
          }
          ASSERT_TRUE(m[2 + 2 * k].matched);
          EXPECT_TRUE(setNames.insert(strName).second) << strName << " is named twice";
          std::string strPath = strName[0] == '/' ? strName : inst.dir.path + "/run/" + strName;
          EXPECT_TRUE(std::filesystem::exists(strPath)) << strPath;
          EXPECT_EQ(_read(strPath), apLob[k]->strValue) << strName;
        }
      }
      EXPECT_EQ(ulLines, iMaxRows ? static_cast<size_t>(iMaxRows) : vRows.size()) << r.strOut;
      /* and, of the whole table, no LOB file that no row names (with MAXROWS
         the readers still write the LOB files of the rows read past it) */
      std::set<std::string> setFiles;
      for (const auto &entry : std::filesystem::directory_iterator(dirLob)) setFiles.insert(entry.path().string());
      if (!iMaxRows) {
        EXPECT_EQ(setFiles, setNames);
      }
    }
  }
}

}  // namespace
