/*
** ixf_test.cpp
**   IXF header records of SELECT tasks compared byte for byte with records
**   composed here field by field; D-record numbers and positions for every
**   kind of column; fields that do not fit refused with their messages; the
**   virtual columns that frame rows and the chains they give; the framing
**   converters alone and, end to end, a row framed through the row converter
**   whose column values land where the C records say.
*/
#include "run/ixf.h"

#include <gtest/gtest.h>

#include "tests/zavtest.h"

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "common/ochaine.h"
#include "common/ochar.h"
#include "model/token.h"
#include "model/zoratom.h"
#include "model/zortask.h"
#include "expr/zorcol.h"
#include "expr/zornode.h"
#include "model/oconvert.h"
#include "model/orow.h"
#include "run/zorucore.h"

namespace {

const char *tok(int iSlot)
{
  return gapnameTotalToken[iSlot];
}

ochar *makeText(const std::string &str)
{
  ochar *pchar = ocharCreate(static_cast<int32_t>(str.size()) + 1, 850);
  ocharAppendFixedS(pchar, str.data(), static_cast<int32_t>(str.size()));
  return pchar;
}

std::string textOf(const ochar *pchar)
{
  return std::string(_charText(pchar), static_cast<size_t>(pchar->ilBU));
}

std::string digits(long long llValue, int iWidth)
{
  char ac[32];
  std::snprintf(ac, sizeof ac, "%0*lld", iWidth, llValue);
  return ac;
}

/* One output column as the control step leaves it for IXF. */
struct Column {
  const char *pcName;   /* nullptr: no name */
  int32_t iKey;         /* target key: 0x8000 | type, 0x0800 nullable, 0x0400 LOB file, 0x0100 LLS */
  int32_t iSubType;
  int32_t iLength;      /* storage length */
  uint16_t usClass;     /* class bits of the CCSID */
  int16_t sCCSID;
  const char *pcDefault = nullptr;
};

/* Fields of one C record that vary with the column. */
struct CFields {
  std::string name;
  char cNullable;
  const char *pcDefault;   /* nullptr: none */
  std::string sqlType, single, dbl, length, record, position, lobLength;
};

/* A C record composed from its fields in layout order. */
std::string cRecord(const CFields &f)
{
  std::string def = f.pcDefault != nullptr ? f.pcDefault : "";
  std::string s = "000872C" + digits(static_cast<long long>(f.name.size()), 3) + f.name +
                  std::string(256 - f.name.size(), ' ');
  s += f.cNullable;
  s += f.pcDefault != nullptr ? 'Y' : 'N';
  s += 'Y';
  s += std::string("N\0", 2);
  s += 'R';
  s += f.sqlType + f.single + f.dbl + f.length + f.record + f.position;
  s += std::string(30, ' ');
  s += f.lobLength.empty() ? std::string(20, '0') : f.lobLength;
  s += "000" + std::string(256, '0');
  s += digits(static_cast<long long>(def.size()), 3) + def + std::string(254 - def.size(), '0');
  s += std::string(13, '0');
  EXPECT_EQ(s.size(), 878u);
  return s;
}

class IxfTest : public ::testing::Test {
 protected:
  zortask *ptaskUnload = nullptr;
  zortask *ptaskSelect = nullptr;

  void SetUp() override
  {
    ASSERT_EQ(tokenInitKeyword(), 0);
    ptaskUnload = zortaskCreateNamed(nullptr);
    ptaskSelect = zortaskCreate("SELECT");
    ASSERT_EQ(zortaskAddSubTask(ptaskUnload, ptaskSelect), 0);
  }
  void TearDown() override { zortaskDestroy(ptaskUnload); }

  static void setText(zortask *ptask, int iSlot, const std::string &str)
  {
    ASSERT_EQ(zortaskAddAtom(ptask, zoratomCreate(tok(iSlot), ZORATOM_OCHAR, 0,
                                                  reinterpret_cast<uintptr_t>(makeText(str)), nullptr, nullptr)),
              0);
  }

  static void setCcsid(zortask *ptask, uint16_t usSingle, uint16_t usMixed, uint16_t usDouble)
  {
    ASSERT_EQ(zortaskAddAtom(ptask, zoratomCreateTripleShort(tok(TOKEN_CCSID), usSingle, usMixed, usDouble,
                                                             nullptr, nullptr)),
              0);
  }

  /* Appends an output-column task with its COL (target) and SOURCECOL. */
  zortask *addColumn(const Column &c)
  {
    zorcol *pcol = zorcolCreate(c.pcName != nullptr ? makeText(c.pcName) : nullptr, 1, nullptr, c.usClass);
    pcol->iType = c.iKey;
    pcol->iSubType = c.iSubType;
    pcol->iLength = c.iLength;
    pcol->sCCSID = c.sCCSID;
    if (c.iKey & COLKEY_NULLABLE) pcol->usFlags |= ZORCOL_NULL;
    if (c.pcDefault != nullptr) pcol->pcharDefault = makeText(c.pcDefault);
    zorcol *pcolSource = zorcolClone(pcol);
    pcolSource->iType = c.iKey & 0x08FF;
    zortask *ptask = zortaskCreateNamed(nullptr);
    zortaskAddAtom(ptask, zoratomCreate(tok(TOKEN_COL), ZORATOM_ZORCOL, 0, reinterpret_cast<uintptr_t>(pcol),
                                        nullptr, nullptr));
    zortaskAddAtom(ptask, zoratomCreate(tok(TOKEN_SOURCECOL), ZORATOM_ZORCOL, 0,
                                        reinterpret_cast<uintptr_t>(pcolSource), nullptr, nullptr));
    zortaskAddSubTask(ptaskSelect, ptask);
    return ptask;
  }

  void addColumns(const std::vector<Column> &v)
  {
    for (const Column &c : v) addColumn(c);
  }

  /* The HEADER_IXF string of the SELECT, "" when there is none. */
  std::string header()
  {
    zoratom *patom = zortaskDetermineAtom(ptaskSelect, tok(TOKEN_HEADER_IXF));
    if (patom == nullptr) return "";
    EXPECT_EQ(patom->iKind, ZORATOM_OCHAR);
    const ochar *pchar = patom->value.pchar;
    EXPECT_EQ(pchar->usCCSID, 850);
    EXPECT_EQ(_charText(pchar)[pchar->ilBU], '\0');
    return textOf(pchar);
  }

  /* (D record, position) of each C record of the header. */
  std::vector<std::pair<int, int>> placements()
  {
    std::string str = header();
    std::vector<std::pair<int, int>> v;
    for (size_t ul = 57 + 1610; ul + 878 <= str.size(); ul += 878)
      v.emplace_back(std::stoi(str.substr(ul + 290, 3)), std::stoi(str.substr(ul + 293, 6)));
    return v;
  }

  /* The output-column chain as a word per task: H<n>, E<header index>, c. */
  std::string shape()
  {
    std::string str;
    int i = 0;
    for (zortask *ptask = static_cast<zortask *>(ptaskSelect->pchaineSubTasks->pitemTop); ptask != nullptr;
         ptask = ptask->ptaskNext, i++) {
      EXPECT_EQ(ptask->ptaskOwner, ptaskSelect);
      if (!str.empty()) str += ' ';
      if (ptask->pcName != tok(TOKEN_ECSTASK)) {
        str += 'c';
        continue;
      }
      zorcol *pcolSource = zortaskDetermineAtom(ptask, tok(TOKEN_SOURCECOL))->value.pcol;
      zorucoreData *pcore = zortaskDetermineAtom(ptask, tok(TOKEN_COREDATA))->value.pcoreData;
      if (pcolSource->iType == 78)
        str += "H" + std::to_string(std::stoi(textOf(pcore->pcharConstant).substr(1, 3)));
      else
        str += "E" + std::to_string(pcore->iWorkCapacity);
    }
    return str;
  }
};

const Column kId = {"ID", 0x8802, 4, 4, ZORCOL_FBD, 0};
const Column kInt = {"N", 0x8002, 4, 4, ZORCOL_FBD, 0};
const Column kLongVarchar = {"NOTES", 0x8009, 32700, 32700, ZORCOL_SBCS, 819};

/* ------------------------------------------------------------ header records */

TEST_F(IxfTest, HeaderTableAndColumnRecordsOfTypicalColumns)
{
  setText(ptaskSelect, TOKEN_TBNAME, "EMPLOYEE");
  setText(ptaskUnload, TOKEN_TBQUALIFIER, "ZAVINST");   /* found through the owner */
  setCcsid(ptaskSelect, 819, 954, 954);                 /* 954: double-byte part 13488, written 1200 */
  addColumns({kId,
              {"NAME", 0x8007, 5, 5, ZORCOL_SBCS, 819, "'abc'"},
              {"PRICE", 0x8003, 0x0702, 4, ZORCOL_FBD, 0},
              {"HIRED", 0x880A, 0, 4, ZORCOL_FBD, 0},
              {"CHANGED", 0x800C, 0, 10, ZORCOL_FBD, 0}});

  std::time_t tBefore = std::time(nullptr);
  ASSERT_EQ(ixfWriteHeader(ptaskSelect), 0);
  std::time_t tAfter = std::time(nullptr);
  std::string str = header();
  ASSERT_EQ(str.size(), 57u + 1610u + 5u * 878u);

  /* H record; the build time must be the local time of the call */
  EXPECT_EQ(str.substr(0, 26), "000051HIXF0002DB2    02.00");
  EXPECT_EQ(str.substr(40, 17), "00007" "00819" "01200" "  ");
  auto stamp = [](std::time_t t) {
    struct tm tm;
    localtime_r(&t, &tm);
    char ac[16];
    std::strftime(ac, sizeof ac, "%Y%m%d%H%M%S", &tm);
    return std::string(ac);
  };
  std::string strStamp = str.substr(26, 14);
  EXPECT_TRUE(strStamp == stamp(tBefore) || strStamp == stamp(tAfter)) << strStamp;

  /* T record */
  std::string t = "001604T008EMPLOYEE" + std::string(248, ' ') + "007ZAVINST" + std::string(249, ' ') +
                  "ZAV UNLOAD  " "C" "M" "PC   " "I" "00005" + std::string(32, ' ') +
                  std::string(4 * 257, '\0');
  ASSERT_EQ(t.size(), 1610u);
  EXPECT_EQ(str.substr(57, 1610), t);

  /* C records: nullable INTEGER at 1, CHAR(5) after its indicator and value at 7 */
  const std::string z5 = "00000", b5 = "     ";
  std::vector<std::string> vExpected = {
      cRecord({"ID", 'Y', nullptr, "496", z5, z5, b5, "001", "000001", ""}),
      cRecord({"NAME", 'N', "'abc'", "452", "00819", z5, "00005", "001", "000007", ""}),
      cRecord({"PRICE", 'N', nullptr, "484", z5, z5, "00702", "001", "000012", ""}),
      cRecord({"HIRED", 'Y', nullptr, "384", z5, z5, b5, "001", "000016", ""}),
      cRecord({"CHANGED", 'N', nullptr, "392", z5, z5, b5, "001", "000028", ""}),
  };
  for (size_t i = 0; i < vExpected.size(); i++)
    EXPECT_EQ(str.substr(57 + 1610 + 878 * i, 878), vExpected[i]) << "column " << i;
}

TEST_F(IxfTest, TableNamesFillTheirFieldsExactly)
{
  std::string strLong(256, 'T');
  setText(ptaskSelect, TOKEN_TBNAME, strLong);   /* exactly 256 bytes: no padding */
  addColumn({nullptr, 0x8001, 2, 2, ZORCOL_FBD, 0});   /* no name: length 000 */
  ASSERT_EQ(ixfWriteHeader(ptaskSelect), 0);
  std::string str = header();
  EXPECT_EQ(str.substr(57 + 7, 3 + 256), "256" + strLong);
  /* no TBQUALIFIER anywhere up the owners */
  EXPECT_EQ(str.substr(57 + 266, 3 + 256), "000" + std::string(256, ' '));
  /* no CCSID triple: code pages 0 */
  EXPECT_EQ(str.substr(45, 10), "0000000000");
  EXPECT_EQ(str.substr(57 + 1610, 878),
            cRecord({"", 'N', nullptr, "500", "00000", "00000", "     ", "001", "000001", ""}));
}

TEST_F(IxfTest, ValuesTooLongForTheirFieldsAreRefusedWithAMessage)
{
  struct Case {
    const char *pcWhat;
    std::string table, qualifier, column, def;
    const char *pcMessage;
  } acase[] = {
      {"table name", std::string(257, 'T'), "Q", "C", "", "ZORU440E IXF HEADER: TABLE NAME TTT"},
      {"qualifier", "T", std::string(257, 'Q'), "C", "", "ZORU440E IXF HEADER: QUALIFIER QQQ"},
      {"column name", "T", "Q", std::string(257, 'C'), "", "ZORU440E IXF HEADER: COLUMN NAME CCC"},
      {"default", "T", "Q", "C", std::string(255, 'd'), "ZORU440E IXF HEADER: DEFAULT VALUE OF COLUMN C IS 255"},
  };
  for (const Case &c : acase) {
    TearDown();
    SetUp();
    setText(ptaskSelect, TOKEN_TBNAME, c.table);
    setText(ptaskSelect, TOKEN_TBQUALIFIER, c.qualifier);
    addColumn(kInt);
    addColumn({c.column.c_str(), 0x8007, 3, 3, ZORCOL_SBCS, 819, c.def.empty() ? nullptr : c.def.c_str()});
    int rc = 0;
    auto vMessages = zavtestMessages([&] { rc = ixfWriteHeader(ptaskSelect); });
    EXPECT_EQ(rc, IXF_RC_FIELD) << c.pcWhat;
    ASSERT_EQ(vMessages.size(), 1u) << c.pcWhat;
    EXPECT_EQ(vMessages[0].rfind(c.pcMessage, 0), 0u) << vMessages[0];
    EXPECT_EQ(zortaskDetermineAtom(ptaskSelect, tok(TOKEN_HEADER_IXF)), nullptr) << c.pcWhat;
  }
}

TEST_F(IxfTest, NumbersThatDoNotFitAndTypesWithoutIxfFormAreRefused)
{
  struct Case {
    Column col;
    const char *pcMessage;
  } acase[] = {
      {{"BIG", 0x8007, 100000, 100000, ZORCOL_SBCS, 819}, "ZORU441E IXF HEADER: COLUMN LENGTH 100000 DOES NOT FIT 5 DIGITS FOR BIG"},
      {{"NEG", 0x8008, -1, -1, ZORCOL_SBCS, 819}, "ZORU441E IXF HEADER: COLUMN LENGTH -1 DOES NOT FIT 5 DIGITS FOR NEG"},
      {{"RID", 0x8013, 40, 40, ZORCOL_FBD, 0}, "ZORU442E COLUMN RID OF TYPE 32787 HAS NO IXF FORM"},
      {{"V", 0x804E, 8, 8, ZORCOL_SBCS, 850}, "ZORU442E COLUMN V OF TYPE 32846 HAS NO IXF FORM"},
  };
  for (const Case &c : acase) {
    TearDown();
    SetUp();
    addColumn(c.col);
    int rc = 0;
    auto vMessages = zavtestMessages([&] { rc = ixfWriteHeader(ptaskSelect); });
    EXPECT_EQ(rc, IXF_RC_FIELD);
    ASSERT_EQ(vMessages.size(), 1u);
    EXPECT_EQ(vMessages[0], std::string(c.pcMessage) + "\n");
    EXPECT_EQ(zortaskDetermineAtom(ptaskSelect, tok(TOKEN_HEADER_IXF)), nullptr);
  }
  /* a D-record position past six digits: 64 VARCHAR(32672) fill the first D record */
  TearDown();
  SetUp();
  for (int i = 0; i < 31; i++) addColumn({"V", 0x8008, 32672, 32672, ZORCOL_SBCS, 819});
  addColumn({"LAST", 0x8002, 4, 4, ZORCOL_FBD, 0});   /* at 1 + 31 x 32674 = 1012895 */
  int rc = 0;
  auto vMessages = zavtestMessages([&] { rc = ixfWriteHeader(ptaskSelect); });
  EXPECT_EQ(rc, IXF_RC_FIELD);
  ASSERT_EQ(vMessages.size(), 1u);
  EXPECT_EQ(vMessages[0], "ZORU441E IXF HEADER: D-RECORD POSITION 1012895 DOES NOT FIT 6 DIGITS FOR LAST\n");
}

TEST_F(IxfTest, RecordNumbersAndPositionsFollowTheColumnWidths)
{
  Column blobFileN = {"B", 0x8C10, 1048576, 1048576, ZORCOL_FBD, 0};
  Column blobFile = {"B", 0x8410, 1048576, 1048576, ZORCOL_FBD, 0};
  Column blobLlsN = {"B", 0x8D10, 1048576, 1048576, ZORCOL_FBD, 0};
  Column longVarcharN = kLongVarchar;
  longVarcharN.iKey |= COLKEY_NULLABLE;
  struct Case {
    const char *pcWhat;
    std::vector<Column> columns;
    std::vector<std::pair<int, int>> placements;
  } acase[] = {
      {"nullable INTEGER, CHAR(5)", {kId, {"C", 0x8007, 5, 5, ZORCOL_SBCS, 819}}, {{1, 1}, {1, 7}}},
      {"LONG VARCHAR ends its record", {kLongVarchar, kInt}, {{1, 1}, {2, 1}}},
      {"nullable LONG VARCHAR: no indicator carried over", {longVarcharN, kInt}, {{1, 1}, {2, 1}}},
      {"BLOB in a LOB file", {blobFile, kInt}, {{1, 1}, {1, 269}}},
      {"nullable BLOB in a LOB file", {blobFileN, kInt}, {{1, 1}, {1, 271}}},
      {"BLOB location specifier ends its record", {blobLlsN, kInt}, {{1, 1}, {2, 1}}},
      {"varying and graphic widths",
       {{"V", 0x8008, 10, 10, ZORCOL_SBCS, 819}, {"G", 0x800D, 3, 3, ZORCOL_DBCS, 13488},
        {"VG", 0x800E, 4, 4, ZORCOL_DBCS, 13488}, {"S", 0x8001, 2, 2, ZORCOL_FBD, 0}},
       {{1, 1}, {1, 13}, {1, 19}, {1, 29}}},
      {"numbers, times and dates",
       {{"D", 0x8004, 8, 8, ZORCOL_FBD, 0}, {"R", 0x8005, 4, 4, ZORCOL_FBD, 0}, {"B", 0x8006, 8, 8, ZORCOL_FBD, 0},
        {"T", 0x800B, 0, 3, ZORCOL_FBD, 0}, {"D", 0x800A, 0, 4, ZORCOL_FBD, 0}, {"I", 0x8002, 4, 4, ZORCOL_FBD, 0}},
       {{1, 1}, {1, 9}, {1, 13}, {1, 21}, {1, 29}, {1, 39}}},
      {"three fragments",
       {{"C", 0x8011, 1000, 1000, ZORCOL_SBCS, 819}, {"LG", 0x800F, 16350, 16350, ZORCOL_DBCS, 13488},
        {"DB", 0x8812, 100, 100, ZORCOL_DBCS, 13488}, kId},
       {{1, 1}, {2, 1}, {3, 1}, {4, 1}}},
  };
  for (const Case &c : acase) {
    TearDown();
    SetUp();
    addColumns(c.columns);
    ASSERT_EQ(ixfWriteHeader(ptaskSelect), 0) << c.pcWhat;
    EXPECT_EQ(placements(), c.placements) << c.pcWhat;
  }
}

TEST_F(IxfTest, LobColumnRecordsByForm)
{
  const std::string z5 = "00000", z20 = "00000000000001048576";
  struct Case {
    Column col;
    std::string expected;
  } acase[] = {
      {{"B", 0x8010, 1048576, 1048576, ZORCOL_FBD, 0},
       cRecord({"B", 'N', nullptr, "404", z5, z5, "32700", "001", "000001", ""})},
      {{"B", 0x8C10, 1048576, 1048576, ZORCOL_FBD, 0},
       cRecord({"B", 'Y', nullptr, "916", z5, z5, "00267", "001", "000001", z20})},
      {{"C", 0x8D11, 1048576, 1048576, ZORCOL_SBCS, 819},
       cRecord({"C", 'Y', nullptr, "964", "00819", z5, "00004", "001", "000001", z20})},
      {{"C", 0x8011, 2000, 2000, ZORCOL_VBCS, 943},
       cRecord({"C", 'N', nullptr, "408", "00897", z5, "02000", "001", "000001", ""})},
      {{"D", 0x8412, 1048576, 1048576, ZORCOL_DBCS, 13488},
       cRecord({"D", 'N', nullptr, "924", z5, "01200", "00267", "001", "000001", z20})},
      {{"D", 0x8512, 1048576, 1048576, ZORCOL_DBCS, 13488},
       cRecord({"D", 'N', nullptr, "968", z5, "01200", "00004", "001", "000001", z20})},
      {{"D", 0x8012, 20000, 20000, ZORCOL_DBCS, 13488},   /* 40000 bytes: capped */
       cRecord({"D", 'N', nullptr, "412", z5, "01200", "32700", "001", "000001", ""})},
      {{"D", 0x8012, 16350, 16350, ZORCOL_DBCS, 941},     /* 32700 bytes: not capped */
       cRecord({"D", 'N', nullptr, "412", z5, "00941", "16350", "001", "000001", ""})},
      /* location specifiers without LOB file: no file form, written inline */
      {{"B", 0x8110, 500, 500, ZORCOL_FBD, 0}, cRecord({"B", 'N', nullptr, "404", z5, z5, "00500", "001", "000001", ""})},
  };
  for (const Case &c : acase) {
    TearDown();
    SetUp();
    addColumn(c.col);
    ASSERT_EQ(ixfWriteHeader(ptaskSelect), 0);
    EXPECT_EQ(header().substr(57 + 1610), c.expected) << std::hex << c.col.iKey;
  }
}

TEST(IxfCcsid, CodePageFieldsByColumnClass)
{
  struct Case {
    uint16_t usClass;
    int16_t sCCSID;
    const char *pcExpected;
  } acase[] = {
      {ZORCOL_SBCS, 819, "0081900000"},
      {ZORCOL_VBCS, 943, "0089700000"},                          /* mixed: its single-byte part */
      {ZORCOL_VBCS, 1208, "0120800000"},
      {ZORCOL_DBCS, static_cast<int16_t>(13488), "0000001200"},
      {ZORCOL_DBCS, 1202, "0000001200"},
      {ZORCOL_DBCS, 941, "0000000941"},
      {ZORCOL_FBD, 819, "0000000000"},                           /* bit data */
      {0, 0, "0000000000"},                                      /* numbers, dates */
  };
  for (const Case &c : acase) {
    zorcol *pcol = zorcolCreate(nullptr, 1, nullptr, c.usClass);
    pcol->sCCSID = c.sCCSID;
    ochar *pchar = ocharCreate(4, 850);
    ASSERT_EQ(_ixfFillCcsid(pcol, pchar), 0);
    EXPECT_EQ(textOf(pchar), c.pcExpected) << c.sCCSID;
    ocharDestroy(pchar);
    zorcolDestroy(pcol);
  }
}

TEST_F(IxfTest, ASecondHeaderIsRefusedAndTheFirstKept)
{
  addColumn(kInt);
  ASSERT_EQ(ixfWriteHeader(ptaskSelect), 0);
  std::string strFirst = header();
  int rc = 0;
  auto vMessages = zavtestMessages([&] { rc = ixfWriteHeader(ptaskSelect); });
  EXPECT_EQ(rc, ZORTASK_RC_REFUSED);
  EXPECT_EQ(header().substr(57), strFirst.substr(57));
  EXPECT_EQ(ixfWriteHeader(nullptr), ORC_INVALID);
}

/* --------------------------------------------------------- virtual columns */

TEST_F(IxfTest, VirtualColumnsCutRowsAfterLongColumns)
{
  Column clob = {"C", 0x8011, 1000, 1000, ZORCOL_SBCS, 819};
  Column longVargraphic = {"G", 0x800F, 100, 100, ZORCOL_DBCS, 13488};
  Column dbclob = {"D", 0x8812, 100, 100, ZORCOL_DBCS, 13488};
  Column blob = {"B", 0x8010, 100, 100, ZORCOL_FBD, 0};
  struct Case {
    const char *pcWhat;
    std::vector<Column> columns;
    const char *pcShape;
  } acase[] = {
      {"one column", {kInt}, "H1 c E0"},
      {"short columns only", {kId, kInt}, "H1 c c E0"},
      {"long column first", {kLongVarchar, kInt}, "H1 c E0 H2 c E3"},
      {"BLOB last opens no further record", {kInt, blob}, "H1 c c E0"},
      {"LOB file reference stays in its record", {{"B", 0x8410, 100, 100, ZORCOL_FBD, 0}, kInt}, "H1 c c E0"},
      {"location specifier ends its record", {{"B", 0x8D10, 100, 100, ZORCOL_FBD, 0}, kInt}, "H1 c E0 H2 c E3"},
      {"four fragments", {clob, longVargraphic, dbclob, kInt}, "H1 c E0 H2 c E3 H3 c E6 H4 c E9"},
      {"two long columns after short ones", {kInt, kId, kLongVarchar, blob, kInt},
       "H1 c c c E0 H2 c E5 H3 c E8"},
  };
  for (const Case &c : acase) {
    TearDown();
    SetUp();
    addColumns(c.columns);
    ASSERT_EQ(ixfAddVirtualCol(ptaskSelect), 0) << c.pcWhat;
    EXPECT_EQ(shape(), c.pcShape) << c.pcWhat;
  }
}

TEST_F(IxfTest, VirtualColumnsCarryTheirSourceTargetAndCoreData)
{
  addColumns({kLongVarchar, kInt});
  ASSERT_EQ(ixfAddVirtualCol(ptaskSelect), 0);
  ASSERT_EQ(ptaskSelect->pchaineSubTasks->iItemCount, 6);
  zortask *ptaskH2 = static_cast<zortask *>(ptaskSelect->pchaineSubTasks->pitemTop);
  for (int i = 0; i < 3; i++) ptaskH2 = ptaskH2->ptaskNext;
  zortask *ptaskEnd = static_cast<zortask *>(ptaskSelect->pchaineSubTasks->pitemBottom);

  /* header of the second record */
  EXPECT_EQ(ptaskH2->pcName, tok(TOKEN_ECSTASK));
  zorcol *pcolSource = zortaskDetermineAtom(ptaskH2, tok(TOKEN_SOURCECOL))->value.pcol;
  zorcol *pcolTarget = zortaskDetermineAtom(ptaskH2, tok(TOKEN_COL))->value.pcol;
  zorucoreData *pcore = zortaskDetermineAtom(ptaskH2, tok(TOKEN_COREDATA))->value.pcoreData;
  EXPECT_EQ(pcolSource->pcharName, nullptr);
  EXPECT_EQ(pcolSource->iNumber, 0);
  EXPECT_EQ(pcolSource->usFlags, ZORCOL_SBCS);
  EXPECT_EQ(pcolSource->iType, 78);
  EXPECT_EQ(pcolSource->iSubType, 8);
  EXPECT_EQ(pcolSource->iLength, 8);
  EXPECT_EQ(pcolSource->sCCSID, 850);
  ASSERT_NE(pcolSource->pnodeExpr, nullptr);
  EXPECT_EQ(pcolSource->pnodeExpr->sKind, ZORNODE_CSTE);
  EXPECT_EQ(pcolSource->pnodeExpr->sCode, NODE_CTCHR);
  const unsigned char *pucValue = static_cast<const unsigned char *>(pcolSource->pnodeExpr->pLeft);
  EXPECT_EQ(std::string(reinterpret_cast<const char *>(pucValue) + 2, 8), "D002    ");
  EXPECT_EQ(pcolTarget->iType, 0x8000);
  EXPECT_EQ(pcolTarget->iLength, 8);
  EXPECT_NE(pcolTarget, pcolSource);
  EXPECT_EQ(textOf(pcore->pcharConstant), "D002    ");
  EXPECT_EQ(pcore->pcharConstant->usCCSID, 850);

  /* end of the second record */
  EXPECT_EQ(ptaskEnd->pcName, tok(TOKEN_ECSTASK));
  pcolSource = zortaskDetermineAtom(ptaskEnd, tok(TOKEN_SOURCECOL))->value.pcol;
  pcolTarget = zortaskDetermineAtom(ptaskEnd, tok(TOKEN_COL))->value.pcol;
  pcore = zortaskDetermineAtom(ptaskEnd, tok(TOKEN_COREDATA))->value.pcoreData;
  EXPECT_EQ(pcolSource->iType, 77);
  EXPECT_EQ(pcolSource->iSubType, 6);
  EXPECT_EQ(pcolSource->iLength, 6);
  EXPECT_EQ(pcolSource->sCCSID, 850);
  ASSERT_NE(pcolSource->pnodeExpr, nullptr);
  EXPECT_EQ(pcolSource->pnodeExpr->sKind, ZORNODE_CSTE);
  EXPECT_EQ(pcolSource->pnodeExpr->sCode, NODE_CTCHR);
  EXPECT_EQ(pcolSource->pnodeExpr->pLeft, nullptr);
  EXPECT_EQ(pcolTarget->iType, 0x8000);
  EXPECT_EQ(pcore->iWorkCapacity, 3);
  EXPECT_EQ(pcore->pcharConstant, nullptr);

  /* the tree with its virtual columns can be copied and printed */
  zortask *pclone = zortaskClone(ptaskSelect, 1);
  ASSERT_NE(pclone, nullptr);
  EXPECT_EQ(pclone->pchaineSubTasks->iItemCount, 6);
  std::string strDump = zavtestCapture([&](FILE *pfile) { zortaskPrint(pclone, pfile); });
  EXPECT_NE(strDump.find("ECSTASK"), std::string::npos);
  zortaskDestroy(pclone);
}

TEST_F(IxfTest, VirtualColumnsLeaveABadChainAsItWas)
{
  EXPECT_EQ(ixfAddVirtualCol(ptaskSelect), 0);   /* no output column: nothing */
  EXPECT_EQ(ptaskSelect->pchaineSubTasks, nullptr);
  EXPECT_EQ(ixfAddVirtualCol(nullptr), ORC_INVALID);

  zortask *ptaskA = addColumn(kInt);
  zortask *ptaskB = zortaskCreateNamed(nullptr);   /* no COL */
  zortaskAddSubTask(ptaskSelect, ptaskB);
  EXPECT_EQ(ixfAddVirtualCol(ptaskSelect), ORC_INVALID);
  EXPECT_EQ(ptaskSelect->pchaineSubTasks->iItemCount, 2);
  EXPECT_EQ(ptaskSelect->pchaineSubTasks->pitemTop, ptaskA);
  EXPECT_EQ(ptaskSelect->pchaineSubTasks->pitemBottom, ptaskB);
  EXPECT_EQ(ixfWriteHeader(ptaskSelect), ORC_INVALID);
  EXPECT_EQ(zortaskDetermineAtom(ptaskSelect, tok(TOKEN_HEADER_IXF)), nullptr);

  /* more than 999 D records cannot be numbered */
  TearDown();
  SetUp();
  setText(ptaskSelect, TOKEN_TBNAME, "WIDE");
  for (int i = 0; i < 999; i++) addColumn(kLongVarchar);
  addColumn(kInt);
  int rc = 0;
  auto vMessages = zavtestMessages([&] { rc = ixfAddVirtualCol(ptaskSelect); });
  EXPECT_EQ(rc, IXF_RC_FIELD);
  ASSERT_EQ(vMessages.size(), 1u);
  EXPECT_EQ(vMessages[0], "ZORU441E IXF HEADER: D-RECORD NUMBER 1000 DOES NOT FIT 3 DIGITS FOR WIDE\n");
  EXPECT_EQ(ptaskSelect->pchaineSubTasks->iItemCount, 1000);
  /* the header of the same SELECT is refused too, at the column that would open record 1000 */
  vMessages = zavtestMessages([&] { rc = ixfWriteHeader(ptaskSelect); });
  EXPECT_EQ(rc, IXF_RC_FIELD);
  ASSERT_EQ(vMessages.size(), 1u);
  EXPECT_EQ(vMessages[0], "ZORU441E IXF HEADER: D-RECORD NUMBER 1000 DOES NOT FIT 3 DIGITS FOR N\n");

  /* exactly 999 records are fine */
  TearDown();
  SetUp();
  for (int i = 0; i < 998; i++) addColumn(kLongVarchar);
  addColumn(kInt);
  ASSERT_EQ(ixfAddVirtualCol(ptaskSelect), 0);
  zorucoreData *pcore = zortaskDetermineAtom(static_cast<zortask *>(ptaskSelect->pchaineSubTasks->pitemBottom)
                                                 ->ptaskPrev->ptaskPrev,
                                             tok(TOKEN_COREDATA))
                            ->value.pcoreData;
  EXPECT_EQ(textOf(pcore->pcharConstant), "D999    ");
}

/* ------------------------------------------------------ framing converters */

/* A target row of three columns: record header, a payload, record end. */
struct FramedRow {
  orow *prowSource = nullptr;
  orow *prowTarget = nullptr;
  zorucoreData *pcoreHeader = nullptr;
  zorucoreData *pcoreEnd = nullptr;

  explicit FramedRow(int32_t ilBuffer)
  {
    pcoreHeader = zorucoreDataCreate();
    pcoreHeader->pcharConstant = makeText("D001    ");
    pcoreEnd = zorucoreDataCreate();
    pcoreEnd->iWorkCapacity = 0;
    rowColDef adefSource[3] = {{0x004E, 8, 0, 850, 0, -1, nullptr, nullptr, 0},
                               {0x0002, 4, 0, 0, 0, -1, nullptr, nullptr, 0},
                               {0x004D, 6, 0, 850, 0, -1, nullptr, nullptr, 0}};
    rowColDef adefTarget[3] = {{0x8000, 8, 0, 850, -1, -1, nullptr, pcoreHeader, 0},
                               {0x8002, 4, 0, 0, -1, -1, nullptr, nullptr, 0},
                               {0x8000, 6, 0, 850, -1, -1, nullptr, pcoreEnd, 0}};
    prowSource = orowCreateFromDef(adefSource, 3);
    prowTarget = orowCreateFromDef(adefTarget, 3);
    std::vector<char> vZero(static_cast<size_t>(ilBuffer < 16 ? 16 : ilBuffer), 'x');
    orowSetBuffer(prowSource, vZero.data(), 16, OROW_OWNED);
    orowSetBuffer(prowTarget, vZero.data(), ilBuffer, OROW_OWNED);
  }
  ~FramedRow()
  {
    orowDestroy(prowSource);
    orowDestroy(prowTarget);
    for (zorucoreData *pcore : {pcoreHeader, pcoreEnd}) {
      zorucoreDataDestroy(pcore);
      std::free(pcore);
    }
  }
  /* Header, then iPayload bytes for the middle column, then end. */
  int frame(int32_t ilPayload)
  {
    int rc = _zorucore_Ixf_Row_Header(prowSource, prowTarget);
    if (rc != 0) return rc;
    std::memset(prowTarget->pcCursor, 'v', static_cast<size_t>(ilPayload));
    prowTarget->pcCursor += ilPayload;
    prowSource->iCurrent++;
    prowTarget->iCurrent++;
    return _zorucore_Ixf_Row_End(prowSource, prowTarget);
  }
};

TEST(IxfFraming, RecordLengthIsWrittenWhenTheRecordCloses)
{
  struct Case {
    int32_t ilPayload;
    const char *pcLength;
  } acase[] = {
      {0, "000008"},             /* the header text alone */
      {1234 - 8, "001234"},
      {999999 - 8, "999999"},    /* the largest length a record can state */
  };
  for (const Case &c : acase) {
    FramedRow row(1000100);
    ASSERT_EQ(row.frame(c.ilPayload), 0) << c.ilPayload;
    char *pcStart = row.prowTarget->pcStart;
    EXPECT_EQ(std::string(pcStart, 14), std::string(c.pcLength) + "D001    ");
    EXPECT_EQ(row.prowTarget->pcCursor, pcStart + 14 + c.ilPayload);   /* the end column writes nothing */
    EXPECT_EQ(row.prowTarget->pcoldef[0].pcData, pcStart);
    EXPECT_EQ(row.prowTarget->iCurrent, 3);
    EXPECT_EQ(row.prowSource->iCurrent, 3);
  }
}

TEST(IxfFraming, RecordsTooLongOrBadlyFramedStopTheRow)
{
  /* 1000000 bytes after the length field: reported, length field left alone */
  {
    FramedRow row(1000100);
    int rc = 0;
    auto vMessages = zavtestMessages([&] { rc = row.frame(1000000 - 8); });
    EXPECT_EQ(rc, IXF_RC_RECORD_TOO_LONG);
    EXPECT_GE(rc, OCONVERT_RC_STOPROW);
    ASSERT_EQ(vMessages.size(), 1u);
    EXPECT_EQ(vMessages[0],
              "ZORU443E IXF DATA RECORD D001 OF 1000000 BYTES IS LONGER THAN 999999 BYTES: ROW NOT WRITTEN\n");
    EXPECT_EQ(std::string(row.prowTarget->pcStart, 6), "xxxxxx");
  }
  /* the record header does not fit the buffer: nothing written */
  {
    FramedRow row(13);
    EXPECT_EQ(_zorucore_Ixf_Row_Header(row.prowSource, row.prowTarget), OCONVERT_RC_STOPROW);
    EXPECT_EQ(std::string(row.prowTarget->pcStart, 13), std::string(13, 'x'));
    EXPECT_EQ(row.prowTarget->iCurrent, 0);
  }
  /* an end column whose header index lies outside the row */
  {
    FramedRow row(100);
    row.pcoreEnd->iWorkCapacity = 3;
    EXPECT_EQ(row.frame(4), OCONVERT_RC_STOPROW);
    EXPECT_EQ(std::string(row.prowTarget->pcStart, 6), "xxxxxx");
  }
  /* an end column pointing at a column that opened no record before the cursor */
  {
    FramedRow row(100);
    row.pcoreEnd->iWorkCapacity = 2;
    EXPECT_EQ(row.frame(4), OCONVERT_RC_STOPROW);
  }
  /* a header column without header text */
  {
    FramedRow row(100);
    ocharDestroy(row.pcoreHeader->pcharConstant);
    row.pcoreHeader->pcharConstant = nullptr;
    EXPECT_EQ(_zorucore_Ixf_Row_Header(row.prowSource, row.prowTarget), OCONVERT_RC_STOPROW);
  }
}

/* ------------------------------------------------------------- end to end */

/*
** Stand-in for the column converters: a nullable column gets its indicator
** 00 00, then every column writes as many bytes as its target definition's
** length, each the column's index + 'a'.
*/
int fakeColumn(orow *prowSource, orow *prowTarget)
{
  const rowColDef &def = prowTarget->pcoldef[prowTarget->iCurrent];
  if (def.iType & COLKEY_NULLABLE) {
    *prowTarget->pcCursor++ = 0;
    *prowTarget->pcCursor++ = 0;
  }
  std::memset(prowTarget->pcCursor, 'a' + prowTarget->iCurrent, static_cast<size_t>(def.iLength));
  prowTarget->pcCursor += def.iLength;
  prowSource->iCurrent++;
  prowTarget->iCurrent++;
  return 0;
}

TEST_F(IxfTest, RowsFramedThroughTheConverterPutEachValueWhereItsColumnRecordSays)
{
  setText(ptaskSelect, TOKEN_TBNAME, "T");
  struct Real {
    Column col;
    int32_t ilWritten;   /* value bytes the stand-in writes (fixed ones as the D record holds them) */
  } areal[] = {
      {kId, 4},
      {{"LV", 0x8809, 32700, 32700, ZORCOL_SBCS, 819}, 2 + 11},   /* nullable LONG VARCHAR, 11 bytes */
      {{"C", 0x8807, 3, 3, ZORCOL_SBCS, 819}, 3},
      {{"BF", 0x8C10, 5000, 5000, ZORCOL_FBD, 0}, 268},           /* LOB file reference: stays */
      {{"D", 0x800A, 0, 4, ZORCOL_FBD, 0}, 10},
      {{"B", 0x8010, 5000, 5000, ZORCOL_FBD, 0}, 4 + 7},          /* inline BLOB, 7 bytes */
      {{"S", 0x8001, 2, 2, ZORCOL_FBD, 0}, 2},
  };
  for (const Real &r : areal) addColumn(r.col);
  ASSERT_EQ(ixfWriteHeader(ptaskSelect), 0);
  std::vector<std::pair<int, int>> vPlace = placements();
  ASSERT_EQ(vPlace.size(), 7u);
  ASSERT_EQ(ixfAddVirtualCol(ptaskSelect), 0);
  ASSERT_EQ(shape(), "H1 c c E0 H2 c c c c E4 H3 c E10");

  /* row definitions from the output-column chain, as the run step makes them */
  int32_t iCount = ptaskSelect->pchaineSubTasks->iItemCount;
  orow *prowSource = orowCreate(iCount);
  orow *prowTarget = orowCreate(iCount);
  std::vector<int> vRealIndex;   /* chain index of each real column */
  int iReal = 0, i = 0;
  for (zortask *ptask = static_cast<zortask *>(ptaskSelect->pchaineSubTasks->pitemTop); ptask != nullptr;
       ptask = ptask->ptaskNext, i++) {
    zorcol *pcolSource = zortaskDetermineAtom(ptask, tok(TOKEN_SOURCECOL))->value.pcol;
    zorcol *pcolTarget = zortaskDetermineAtom(ptask, tok(TOKEN_COL))->value.pcol;
    zoratom *patomCore = zortaskDetermineAtom(ptask, tok(TOKEN_COREDATA));
    rowColDef defSource = {pcolSource->iType, pcolSource->iSubType, 0, 0, 0, -1, nullptr, nullptr, 0};
    rowColDef defTarget = {pcolTarget->iType, pcolTarget->iLength, 0, 0, -1, -1, nullptr,
                           patomCore != nullptr ? patomCore->value.pcoreData : nullptr, 0};
    if (ptask->pcName != tok(TOKEN_ECSTASK)) {
      defTarget.iLength = areal[iReal++].ilWritten;
      vRealIndex.push_back(i);
      convertTabLine line = {static_cast<uint16_t>(pcolSource->iType), static_cast<uint16_t>(pcolTarget->iType),
                             fakeColumn};
      ASSERT_EQ(oconvertRegisterConversion(&line), 0);
    }
    ASSERT_EQ(orowAddColumn(prowSource, &defSource), 0);
    ASSERT_EQ(orowAddColumn(prowTarget, &defTarget), 0);
  }
  const convertTabLine atable[] = {{0x004E, 0x8000, _zorucore_Ixf_Row_Header},
                                   {0x004D, 0x8000, _zorucore_Ixf_Row_End},
                                   {0xFFFF, 0xFFFF, nullptr}};
  ASSERT_EQ(oconvertRegisterTabConversion(atable), 0);
  std::vector<char> vBuffer(2048, '?');
  orowSetBuffer(prowSource, vBuffer.data(), 16, OROW_OWNED);
  orowSetBuffer(prowTarget, vBuffer.data(), 2048, OROW_OWNED);
  int rc = 0;
  oconvert *pconvert = oconvertCreate(prowSource, prowTarget, OCONVERT_OWN_SOURCE | OCONVERT_OWN_TARGET, &rc);
  ASSERT_NE(pconvert, nullptr) << std::hex << rc;

  for (int iRow = 0; iRow < 2; iRow++) {   /* the second row reuses the buffer */
    orowResetBuffer(prowTarget, 0);
    orowResetBuffer(prowSource, 0);
    ASSERT_EQ(oconvertConvert(pconvert), 0);
    std::string strRow(prowTarget->pcStart, static_cast<size_t>(prowTarget->pcCursor - prowTarget->pcStart));

    /* the row falls apart into its D records exactly */
    std::vector<std::string> vRecord;
    for (size_t ul = 0; ul < strRow.size();) {
      ASSERT_LE(ul + 14, strRow.size());
      size_t ulLength = std::stoul(strRow.substr(ul, 6));
      EXPECT_EQ(strRow.substr(ul + 6, 8), "D" + digits(static_cast<long long>(vRecord.size()) + 1, 3) + "    ");
      ASSERT_LE(ul + 6 + ulLength, strRow.size());
      vRecord.push_back(strRow.substr(ul, 6 + ulLength));
      ul += 6 + ulLength;
    }
    ASSERT_EQ(vRecord.size(), 3u);

    /* each value starts at 13 + its position in its D record, after its indicator */
    for (size_t ulCol = 0; ulCol < vPlace.size(); ulCol++) {
      const std::string &strRecord = vRecord[static_cast<size_t>(vPlace[ulCol].first) - 1];
      size_t ulAt = 13 + static_cast<size_t>(vPlace[ulCol].second);
      if (areal[ulCol].col.iKey & COLKEY_NULLABLE) {
        EXPECT_EQ(strRecord.substr(ulAt, 2), std::string(2, '\0')) << ulCol;
        ulAt += 2;
      }
      char cMark = static_cast<char>('a' + vRealIndex[ulCol]);
      EXPECT_EQ(strRecord.substr(ulAt, static_cast<size_t>(areal[ulCol].ilWritten)),
                std::string(static_cast<size_t>(areal[ulCol].ilWritten), cMark))
          << "column " << ulCol;
    }
    /* and nothing else lies in a record: its last value ends it */
    EXPECT_EQ(vRecord[0].size(), 14u + 2 + 4 + 2 + 13);
    EXPECT_EQ(vRecord[1].size(), 14u + 2 + 3 + 2 + 268 + 10 + 11);
    EXPECT_EQ(vRecord[2].size(), 14u + 2);
  }
  oconvertDestroy(pconvert);
}

}  // namespace
