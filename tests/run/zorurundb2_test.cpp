// SELECTs answered by DB2 against the stand-in: the preparation of the CLI
// row and converter, the DB2 SELECT child fetching, converting and writing
// DEL rows (in the test process and forked), its writers by output
// placement, CLI failures with their diagnostics, and the export child.
#include "run/zorurundb2.h"

#include "catalog/sqlcat.h"
#include "common/ochaine.h"
#include "common/ochar.h"
#include "common/olist.h"
#include "model/token.h"
#include "model/udb.h"
#include "model/zoratom.h"
#include "model/zortask.h"
#include "expr/zorcol.h"
#include "run/ixf.h"
#include "io/zor3write.h"
#include "run/zorucore.h"
#include "tests/catalog/catalogcli.h"
#include "tests/zavtest.h"

#include <sys/wait.h>

#include <cstring>

using namespace std::string_literals;

namespace {

const char *tok(int iSlot) { return gapnameTotalToken[iSlot]; }

ochar *makeText(const std::string &str)
{
  ochar *pchar = ocharCreate(static_cast<int32_t>(str.size()) + 1, 850);
  ocharAppendFixedS(pchar, str.data(), static_cast<int32_t>(str.size()));
  return pchar;
}

/* Core data of a DEL column: flags, separator ",", delimiter '"', point ".". */
zorucoreData *makeCore(uint32_t ulFlags)
{
  zorucoreData *p = zorucoreDataCreate();
  p->ulFlags = ulFlags;
  ocharInitFromFixed(&p->charSep, ",", 1, 850);
  p->cDelim = '"';
  ocharInitFromFixed(&p->charDelim, "\"", 1, 850);
  ocharInitFromFixed(&p->charDecimal, ".", 1, 850);
  ocharInitFromFixed(&p->charSignPlus, "+", 1, 850);
  return p;
}

class ZorurunDb2 : public CatalogCli {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(0, tokenInitKeyword()); }

  void SetUp() override
  {
    CatalogCli::SetUp();
    ASSERT_EQ(0, db2adminCreateTable("SAMPLE", "TEST", "R1", "USERSPACE1", "", 7,
                                     {{"ID", "INTEGER", false, "", -1}, {"NAME", "VARCHAR(10)", true, "", -1}},
                                     &strError))
        << strError;
    ASSERT_EQ(0, db2adminExecute("SAMPLE",
                                 "INSERT INTO TEST.R1 VALUES (7, 'abc'); INSERT INTO TEST.R1 VALUES (8, NULL);"
                                 "INSERT INTO TEST.R1 VALUES (9, 'x,y')",
                                 &strError))
        << strError;
    ptaskUnload = zortaskCreateNamed(nullptr);
    ptaskSelect = zortaskCreate("SELECT");
    ASSERT_EQ(0, zortaskAddSubTask(ptaskUnload, ptaskSelect));
    AddText(TOKEN_DBNAME, "SAMPLE");
    AddText(TOKEN_TBQUALIFIER, "TEST");
    AddText(TOKEN_TBNAME, "R1");
    prun = _zorurunCreate(nullptr, 4, 0, ZORURUN_LOCAL_NO, nullptr, nullptr, 0, nullptr);
    ASSERT_NE(nullptr, prun);
  }

  void TearDown() override
  {
    _zorurunDestroy(prun);
    zortaskDestroy(ptaskUnload);
    CatalogCli::TearDown();
  }

  void AddText(int iSlot, const std::string &str)
  {
    zoratomDestroy(zortaskRemoveAtom(ptaskSelect, tok(iSlot)));
    ASSERT_EQ(0, zortaskAddAtom(ptaskSelect, zoratomCreate(tok(iSlot), ZORATOM_OCHAR, 0,
                                                           reinterpret_cast<uintptr_t>(makeText(str)), nullptr,
                                                           nullptr)));
  }

  void AddColumnTask(zorcol *pcolSource, zorcol *pcolTarget, zorucoreData *pcore)
  {
    zortask *ptask = zortaskCreateNamed(nullptr);
    zortaskAddAtom(ptask, zoratomCreate(tok(TOKEN_SOURCECOL), ZORATOM_ZORCOL, 0,
                                        reinterpret_cast<uintptr_t>(pcolSource), nullptr, nullptr));
    zortaskAddAtom(ptask, zoratomCreate(tok(TOKEN_COL), ZORATOM_ZORCOL, 0, reinterpret_cast<uintptr_t>(pcolTarget),
                                        nullptr, nullptr));
    zortaskAddAtom(ptask, zoratomCreate(tok(TOKEN_COREDATA), ZORATOM_COREDATA, 0, reinterpret_cast<uintptr_t>(pcore),
                                        nullptr, nullptr));
    zortaskAddSubTask(ptaskSelect, ptask);
  }

  /* The SELECT described through CLI, with one DEL output column per result
     column and the record end, as the control step leaves it. */
  void MakeSelect(const std::string &strSelect, bool boIxf = false)
  {
    Connect();
    AddText(TOKEN_SELECTSQL, strSelect);
    ochaine *pchaineColumns = ochaineCreate(static_cast<int>(sizeof(zorcol)), nullptr, zorcolDestroyChaineItem);
    ochaine *pchaineCopy = ochaineCreate(static_cast<int>(sizeof(zorcol)), nullptr, zorcolDestroyChaineItem);
    ochar *pcharSelect = makeText(strSelect);
    ASSERT_EQ(0, sqlcatGetColDescription(ptaskSelect, pcharSelect, 819, ghdbc, pchaineColumns, pchaineCopy));
    ocharDestroy(pcharSelect);
    db2utilDisconnect(&ghenv, &ghdbc);
    ASSERT_EQ(0, zortaskAddAtom(ptaskSelect, zoratomCreate(tok(TOKEN_SELECT), ZORATOM_OCHAINE, 0,
                                                           reinterpret_cast<uintptr_t>(pchaineCopy), nullptr,
                                                           nullptr)));
    bool boFirst = true;
    for (auto *pcol = static_cast<zorcol *>(pchaineColumns->pitemTop); pcol != nullptr; pcol = pcol->pcolNext) {
      zorcol *pcolSource = zorcolClone(pcol);
      int iType = pcol->iType & 0xFF;
      pcolSource->iType = 0xD000 | ((pcol->usFlags & ZORCOL_NULL) ? 0x0800 : 0) | iType;
      zorcol *pcolTarget = zorcolClone(pcol);
      pcolTarget->iType = boIxf ? (0x8000 | (pcolSource->iType & 0x0800) | iType) : (0xB000 | iType);
      uint32_t ulFlags = (boFirst ? 0 : ZORUCORE_FLAG_SEP) | (iType == ZORCOL_T_VARCHAR ? ZORUCORE_FLAG_DELIM : 0);
      AddColumnTask(pcolSource, pcolTarget, makeCore(ulFlags));
      boFirst = false;
    }
    ochaineDestroy(pchaineColumns);
    if (boIxf) {
      int iRcHeader = -1;
      std::vector<std::string> vHeaderMsgs = zavtestMessages([&] { iRcHeader = ixfWriteHeader(ptaskSelect); });
      ASSERT_EQ(0, iRcHeader) << (vHeaderMsgs.empty() ? "" : vHeaderMsgs[0]);
      ASSERT_EQ(0, ixfAddVirtualCol(ptaskSelect));
      return;
    }
    zorcol *pcolEndSource = zorcolCreate(nullptr, 0, nullptr, 0);
    pcolEndSource->iType = COLKEY_CONST;
    zorcol *pcolEndTarget = zorcolCreate(nullptr, 0, nullptr, 0);
    pcolEndTarget->iType = 0xB000;
    zorucoreData *pcoreEnd = zorucoreDataCreate();
    pcoreEnd->pcharConstant = makeText("\n");
    AddColumnTask(pcolEndSource, pcolEndTarget, pcoreEnd);
  }

  /* OUTPUT with one item per (file, mode). */
  void SetOutputs(const std::vector<std::pair<std::string, uint32_t>> &vItems)
  {
    olist *plist = olistCreate(0, udbOutFileCloneItem, udbOutFileDestroyItem);
    for (const auto &item : vItems)
      olistAppend(plist, udbOutFileCreate(makeText(item.first), nullptr, nullptr, item.second));
    ASSERT_EQ(0, zortaskAddAtom(ptaskSelect, zoratomCreate(tok(TOKEN_OUTPUT), ZORATOM_OLIST, 0,
                                                           reinterpret_cast<uintptr_t>(plist), nullptr, nullptr)));
  }

  int32_t Integer(int iSlot)
  {
    zoratom *patom = zortaskDetermineAtom(ptaskSelect, tok(iSlot));
    return patom != nullptr ? patom->value.iValue : -1;
  }

  std::string FileText(const std::string &strPath)
  {
    std::vector<unsigned char> v = zavtestReadFile(strPath);
    return std::string(v.begin(), v.end());
  }

  std::string strError;
  zortask *ptaskUnload = nullptr;
  zortask *ptaskSelect = nullptr;
  zorurun *prun = nullptr;
};

TEST_F(ZorurunDb2, PreparationLaysOutTheCliRowAndMakesTheConverter)
{
  MakeSelect("SELECT ID, NAME FROM TEST.R1 ORDER BY ID");
  ASSERT_EQ(0, _zorurunPrepareSelectDB2(nullptr, ptaskSelect));
  // INTEGER entry 8 bytes at 0, VARCHAR slot of 12 at 8: fixed part 8 + 12 + 8
  EXPECT_EQ(28, Integer(TOKEN_TAILLE_PARTIE_FIXE));
  EXPECT_EQ(10, Integer(TOKEN_TAILLE_PARTIE_VARIABLE));
  zoratom *patom = zortaskDetermineAtom(ptaskSelect, tok(TOKEN_CONVERTER));
  ASSERT_NE(nullptr, patom);
  ASSERT_NE(nullptr, patom->value.pconvert);
  orow *prowSource = patom->value.pconvert->prowSource;
  ASSERT_EQ(3, prowSource->iCount);
  EXPECT_EQ(0, prowSource->pcoldef[0].sOffset);
  EXPECT_EQ(8, prowSource->pcoldef[1].sOffset);
  auto *ptaskCol = static_cast<zortask *>(ptaskSelect->pchaineSubTasks->pitemTop)->ptaskNext;
  zoratom *patomCore = zortaskDetermineAtom(ptaskCol, tok(TOKEN_COREDATA));
  EXPECT_EQ(0xB008, patomCore->value.pcoreData->usTargetKey);
  EXPECT_EQ(0xD808, patomCore->value.pcoreData->usSourceKey);
}

TEST_F(ZorurunDb2, SelectChildFetchesConvertsAndWritesEveryOutput)
{
  MakeSelect("SELECT ID, NAME FROM TEST.R1 ORDER BY ID");
  ASSERT_EQ(0, _zorurunPrepareSelectDB2(nullptr, ptaskSelect));
  const std::string strOne = strRoot + "/one.del", strTwo = strRoot + "/two.del";
  SetOutputs({{strOne, UDB_MODE_REPLACE | UDB_MODE_CURRENT}, {strTwo, UDB_MODE_REPLACE | UDB_MODE_CURRENT}});
  zorurunSelectLaunch launch{prun, nullptr, ptaskSelect, nullptr, 0};
  int rc = -1;
  std::vector<std::string> vMsgs = zavtestMessages([&] { rc = _zorurunRunSelectDB2Child(&launch); });
  EXPECT_EQ(0, rc);
  const std::string strExpected = "7,\"abc\"\n8,\n9,\"x,y\"\n";
  EXPECT_EQ(strExpected, FileText(strOne));
  EXPECT_EQ(strExpected, FileText(strTwo));
  ASSERT_EQ(2u, vMsgs.size());
  for (const std::string &str : vMsgs) EXPECT_EQ(0u, str.find("ZORU410I ZAV UTILITY HAS UNLOADED 3 ROWS")) << str;
}

TEST_F(ZorurunDb2, TheHeaderGoesFirstIntoEveryFileAndIsNotCountedAsARow)
{
  MakeSelect("SELECT ID, NAME FROM TEST.R1 ORDER BY ID");
  ASSERT_EQ(0, _zorurunPrepareSelectDB2(nullptr, ptaskSelect));
  AddText(TOKEN_HEADER_IXF, "HEADER");
  const std::string strOne = strRoot + "/h1", strTwo = strRoot + "/h2";
  SetOutputs({{strOne, UDB_MODE_REPLACE | UDB_MODE_CURRENT}, {strTwo, UDB_MODE_REPLACE | UDB_MODE_CURRENT}});
  zorurunSelectLaunch launch{prun, nullptr, ptaskSelect, nullptr, 0};
  std::vector<std::string> vMsgs = zavtestMessages([&] { EXPECT_EQ(0, _zorurunRunSelectDB2Child(&launch)); });
  for (const std::string &str : {strOne, strTwo}) EXPECT_EQ("HEADER7,\"abc\"\n8,\n9,\"x,y\"\n", FileText(str));
  ASSERT_EQ(2u, vMsgs.size());
  for (const std::string &str : vMsgs) EXPECT_EQ(0u, str.find("ZORU410I ZAV UTILITY HAS UNLOADED 3 ROWS")) << str;
}

TEST_F(ZorurunDb2, LobsGoThroughTheirLocatorsIntoTheLobFile)
{
  ASSERT_EQ(0, db2adminCreateTable("SAMPLE", "TEST", "LOBS", "USERSPACE1", "LONGSPACE", 8,
                                   {{"ID", "INTEGER", false, "", -1}, {"DOC", "CLOB(1M)", true, "", -1}}, &strError))
      << strError;
  std::string strDoc(20000, ' ');
  for (size_t i = 0; i < strDoc.size(); i++) strDoc[i] = static_cast<char>('a' + i % 26);
  ASSERT_EQ(0, db2adminExecute("SAMPLE",
                               "INSERT INTO TEST.LOBS VALUES (1, '" + strDoc +
                                   "'); INSERT INTO TEST.LOBS VALUES (2, NULL)",
                               &strError))
      << strError;
  MakeSelect("SELECT ID, DOC FROM TEST.LOBS ORDER BY ID");
  // the CLOB goes to a LOB file, with a location specifier in the row
  auto *ptaskDoc = static_cast<zortask *>(ptaskSelect->pchaineSubTasks->pitemTop)->ptaskNext;
  zortaskDetermineAtom(ptaskDoc, tok(TOKEN_COL))->value.pcol->iType = 0xB511;
  zortaskDetermineAtom(ptaskDoc, tok(TOKEN_COREDATA))->value.pcoreData->ulFlags |= ZORUCORE_FLAG_DELIM;
  std::filesystem::create_directories(strRoot + "/lobs");
  udbLobPath lobpath{makeText(strRoot + "/lobs"), nullptr};
  ochar *pcharLobFile = makeText("doc");
  olist *plistPaths = olistCreateRef(nullptr, nullptr);
  olistAppendRef(plistPaths, &lobpath, 0);
  olist *plistFiles = olistCreateRef(nullptr, nullptr);
  olistAppendRef(plistFiles, pcharLobFile, 0);
  ASSERT_EQ(0, zortaskAddAtom(ptaskSelect, zoratomCreate(tok(TOKEN_LOB), ZORATOM_OLIST, 0,
                                                         reinterpret_cast<uintptr_t>(plistPaths), nullptr, nullptr)));
  ASSERT_EQ(0, zortaskAddAtom(ptaskSelect, zoratomCreate(tok(TOKEN_LOBFILE), ZORATOM_OLIST, 0,
                                                         reinterpret_cast<uintptr_t>(plistFiles), nullptr, nullptr)));
  ASSERT_EQ(0, zortaskAddAtom(ptaskSelect, zoratomCreate(tok(TOKEN_LLS), ZORATOM_INTEGER, 0, 1, nullptr, nullptr)));
  ASSERT_EQ(0, _zorurunPrepareSelectDB2(nullptr, ptaskSelect));
  const std::string strOut = strRoot + "/lobs.del";
  SetOutputs({{strOut, UDB_MODE_REPLACE | UDB_MODE_CURRENT}});
  zorurunSelectLaunch launch{prun, nullptr, ptaskSelect, nullptr, 0};
  std::vector<std::string> vMsgs = zavtestMessages([&] { EXPECT_EQ(0, _zorurunRunSelectDB2Child(&launch)); });
  EXPECT_EQ(1u, launch.ulFlags & 1);
  std::vector<std::string> vLobFiles;
  for (const auto &entry : std::filesystem::directory_iterator(strRoot + "/lobs"))
    vLobFiles.push_back(entry.path().string());
  ASSERT_EQ(1u, vLobFiles.size());
  EXPECT_EQ(strDoc, FileText(vLobFiles[0]));
  /* a null LOB is a null field */
  EXPECT_EQ("1,\"" + vLobFiles[0] + ".0.20000/\"\n2,\n", FileText(strOut));
  ASSERT_EQ(1u, vMsgs.size());
  EXPECT_EQ(0u, vMsgs[0].find("ZORU410I ZAV UTILITY HAS UNLOADED 2 ROWS")) << vMsgs[0];
  zoratomDestroy(zortaskRemoveAtom(ptaskSelect, tok(TOKEN_LOBFILE)));
  zoratomDestroy(zortaskRemoveAtom(ptaskSelect, tok(TOKEN_LOB)));
  ocharDestroy(pcharLobFile);
  ocharDestroy(lobpath.pcharPath);
}

TEST_F(ZorurunDb2, IxfRowsFollowTheHeader)
{
  ASSERT_EQ(0, zortaskAddAtom(ptaskSelect, zoratomCreateTripleShort(tok(TOKEN_CCSID), 819, 819, 0, nullptr, nullptr)));
  MakeSelect("SELECT ID, NAME FROM TEST.R1 ORDER BY ID", true);
  ASSERT_EQ(0, _zorurunPrepareSelectDB2(nullptr, ptaskSelect));
  const std::string strOut = strRoot + "/r1.ixf";
  SetOutputs({{strOut, UDB_MODE_REPLACE | UDB_MODE_CURRENT}});
  zorurunSelectLaunch launch{prun, nullptr, ptaskSelect, nullptr, 0};
  std::vector<std::string> vMsgs = zavtestMessages([&] { EXPECT_EQ(0, _zorurunRunSelectDB2Child(&launch)); });
  zoratom *patomHeader = zortaskDetermineAtom(ptaskSelect, tok(TOKEN_HEADER_IXF));
  std::string strHeader(_charText(patomHeader->value.pchar), static_cast<size_t>(patomHeader->value.pchar->ilBU));
  std::string strFile = FileText(strOut);
  ASSERT_EQ(0u, strFile.rfind(strHeader, 0));
  // one D record per row: length, type, identifier, INTEGER, then the VARCHAR
  // with its null indicator, its length and the room of its maximum length
  auto record = [](const std::string &strValues) { return "000026D001    "s + strValues; };
  const std::string strRows = record("\x07\0\0\0"s "\0\0\x03\0"s "abc\0\0\0\0\0\0\0"s) +
                              record("\x08\0\0\0"s "\xff\xff\0\0"s + std::string(10, '\0')) +
                              record("\x09\0\0\0"s "\0\0\x03\0"s "x,y\0\0\0\0\0\0\0"s);
  EXPECT_EQ(strRows, strFile.substr(strHeader.size()));
  ASSERT_EQ(1u, vMsgs.size());
  EXPECT_EQ(0u, vMsgs[0].find("ZORU410I ZAV UTILITY HAS UNLOADED 3 ROWS")) << vMsgs[0];
}

TEST_F(ZorurunDb2, AnEmptyResultWritesAnEmptyFileAndReportsNoRow)
{
  MakeSelect("SELECT ID, NAME FROM TEST.R1 WHERE ID > 100");
  ASSERT_EQ(0, _zorurunPrepareSelectDB2(nullptr, ptaskSelect));
  const std::string strOut = strRoot + "/empty.del";
  SetOutputs({{strOut, UDB_MODE_REPLACE | UDB_MODE_CURRENT}});
  zorurunSelectLaunch launch{prun, nullptr, ptaskSelect, nullptr, 0};
  int rc = -1;
  std::vector<std::string> vMsgs = zavtestMessages([&] { rc = _zorurunRunSelectDB2Child(&launch); });
  EXPECT_EQ(0, rc);
  EXPECT_EQ("", FileText(strOut));
  ASSERT_EQ(1u, vMsgs.size());
  EXPECT_EQ(0u, vMsgs[0].find("ZORU410I ZAV UTILITY HAS UNLOADED 0 ROWS")) << vMsgs[0];
}

TEST_F(ZorurunDb2, CliFailureEndsTheChildWithOneMessagePerDiagnostic)
{
  MakeSelect("SELECT ID, NAME FROM TEST.R1");
  ASSERT_EQ(0, _zorurunPrepareSelectDB2(nullptr, ptaskSelect));
  const std::string strOut = strRoot + "/failed.del";
  SetOutputs({{strOut, UDB_MODE_REPLACE | UDB_MODE_CURRENT}});
  setenv("ZAVDB2_FAIL", "SQLExecute=-1,58004,-901,SQL0901N injected", 1);
  zorurunSelectLaunch launch{prun, nullptr, ptaskSelect, nullptr, 0};
  int rc = 0;
  std::vector<std::string> vMsgs = zavtestMessages([&] { rc = _zorurunRunSelectDB2Child(&launch); });
  unsetenv("ZAVDB2_FAIL");
  EXPECT_EQ(SQLCAT_RC_DB2, rc);
  EXPECT_EQ((std::vector<std::string>{"ZORU306E DB2 ERROR: SQL0901N injected\n"}), vMsgs);
  EXPECT_FALSE(std::filesystem::exists(strOut));
}

TEST_F(ZorurunDb2, WritersFollowTheOutputPlacement)
{
  const std::string strOut = strRoot + "/remote.del";
  SetOutputs({{strOut, UDB_MODE_REPLACE | UDB_MODE_REMOTE}, {strRoot + "/here.del", UDB_MODE_REPLACE | UDB_MODE_CURRENT}});
  int iWriters = -1, iRemote = -1;
  zorwrite **apwrite = nullptr;
  std::vector<std::string> vMsgs =
      zavtestMessages([&] { apwrite = _zorurunCreateDB2Writers(prun, ptaskSelect, &iWriters, &iRemote); });
  ASSERT_NE(nullptr, apwrite);
  EXPECT_EQ(2, iWriters);
  EXPECT_EQ(0, iRemote);
  EXPECT_EQ((std::vector<std::string>{
                "ZORU367W REMOTE OPTION NOT SUPPORTED WITH DB2 FORCE SPECIFIED, CURRENT OPTION USED\n"}),
            vMsgs);
  for (int i = 0; i < iWriters; i++) {
    EXPECT_EQ(ZORWRITE_SYNC, apwrite[i]->ulType & ZORWRITE_KIND_MASK);
    EXPECT_EQ(-1, apwrite[i]->iPartition);
    writeDestroy(apwrite[i]);
  }
  std::free(apwrite);

  // with LOCAL YES outputs of this host are not written
  prun->ulLocal = ZORURUN_LOCAL_YES;
  apwrite = _zorurunCreateDB2Writers(prun, ptaskSelect, &iWriters, &iRemote);
  ASSERT_NE(nullptr, apwrite);
  EXPECT_EQ(0, iWriters);
  std::free(apwrite);
}

TEST_F(ZorurunDb2, ForkedSelectChildWritesTheFileAndIsReaped)
{
  MakeSelect("SELECT ID, NAME FROM TEST.R1 ORDER BY ID");
  ASSERT_EQ(0, _zorurunPrepareSelectDB2(nullptr, ptaskSelect));
  const std::string strOut = strRoot + "/forked.del";
  SetOutputs({{strOut, UDB_MODE_REPLACE | UDB_MODE_CURRENT}});
  int iRemote = -1;
  ASSERT_EQ(0, _zorurunRunSelectDB2(prun, ptaskSelect, &iRemote));
  EXPECT_EQ(0, iRemote);
  EXPECT_EQ(1, prun->iDirectRunning);
  EXPECT_EQ(0, _zorurunWaitTasks(prun));
  EXPECT_EQ(0, prun->iDirectRunning);
  EXPECT_EQ("7,\"abc\"\n8,\n9,\"x,y\"\n", FileText(strOut));
  EXPECT_EQ(-1, waitpid(-1, nullptr, WNOHANG));  // no child left
}

TEST_F(ZorurunDb2, ExportChildExportsOncePerOutput)
{
  AddText(TOKEN_SELECTSQL, "SELECT ID, NAME FROM TEST.R1 ORDER BY ID");
  const std::string strOne = strRoot + "/x1.del", strTwo = strRoot + "/x2.del";
  SetOutputs({{strOne, UDB_MODE_REPLACE | UDB_MODE_CURRENT}, {strTwo, UDB_MODE_REPLACE | UDB_MODE_REMOTE}});
  const std::string strCallLog = strRoot + "/calls.log";
  setenv("ZAVDB2_CALLLOG", strCallLog.c_str(), 1);
  zorurunSelectLaunch launch{prun, nullptr, ptaskSelect, nullptr, 0};
  EXPECT_EQ(0, _zorurunRunExportDB2Child(&launch));
  unsetenv("ZAVDB2_CALLLOG");
  for (const std::string &str : {strOne, strTwo}) {
    std::string strText = FileText(str);
    EXPECT_NE(std::string::npos, strText.find("abc")) << str << ": " << strText;
  }
  std::string strLog = FileText(strCallLog);
  int iExports = 0;
  for (size_t at = strLog.find("sqluexpr"); at != std::string::npos; at = strLog.find("sqluexpr", at + 1)) iExports++;
  EXPECT_EQ(2, iExports) << strLog;
  EXPECT_NE(std::string::npos, strLog.find("DEL")) << strLog;
}

TEST_F(ZorurunDb2, ExportChildReportsAFailedConnection)
{
  AddText(TOKEN_DBNAME, "NOSUCHDB");
  AddText(TOKEN_SELECTSQL, "SELECT ID FROM TEST.R1");
  zorurunSelectLaunch launch{prun, nullptr, ptaskSelect, nullptr, 0};
  int rc = 0;
  (void)zavtestMessages([&] { rc = _zorurunRunExportDB2Child(&launch); });
  EXPECT_NE(0, rc);
}

}  // namespace
