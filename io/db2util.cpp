/*
** db2util.cpp
**   The DB2 utility layer (see db2util.h).  Diagnostics: a failed CLI call
**   (return -1) gives one ZORU306E per diagnostic record of its handle; a
**   failed administrative call (non-zero SQLCODE) gives one ZORU306E with
**   the message text DB2 formats for its sqlca.
*/
#include "io/db2util.h"

#include "common/obyte.h"
#include "common/ochar.h"
#include "common/odict.h"
#include "model/config.h"
#include "model/stats.h"
#include "model/token.h"
#include "model/tools.h"
#include "model/zoratom.h"
#include "model/zormsgs.h"
#include "model/zortask.h"

#include <arpa/inet.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#define OMSGS_TRACE_KEYWORD "$DB2UTL"
#define OMSGS_DEBUG_KEYWORD nullptr
#include "common/omsgsmod.h"

SQLHENV ghenv = 0;
SQLHDBC ghdbc = 0;

namespace {

/* Packed keyword code of YES. */
const int32_t giYes = 0xE8C5E2;

/* Set once this process has attached to its instance. */
bool gboAttached = false;

/* Directory entry offsets, as the scans return entries. */
const size_t gulAliasOffset = 0;
const size_t gulNameOffset = 8;
const size_t gulDriveOffset = 16;
const size_t gulInternalOffset = 231;
const size_t gulTypeOffset = 300;
const size_t gulNodeOffset = 1584;

bool _ok(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

/* One ZORU306E per diagnostic record of a failed CLI call. */
void _cliDiagnostics(SQLSMALLINT sType, SQLHANDLE h, SQLRETURN rc)
{
  if (rc != SQL_ERROR) return;
  SQLCHAR acState[6], acText[1025];
  SQLINTEGER iNative = 0;
  SQLSMALLINT sLength = 0;
  for (SQLSMALLINT s = 1; SQLGetDiagRec(sType, h, s, acState, &iNative, acText, 1025, &sLength) == SQL_SUCCESS; s++) {
    /* the message text ends the line */
    std::string strText = reinterpret_cast<char *>(acText);
    while (!strText.empty() && strText.back() == '\n') strText.pop_back();
    omsgsFMTEDO(ZORU306E, strText.c_str());
  }
}

/* ZORU306E with DB2's text for a failed administrative call. */
void _apiDiagnostics(struct sqlca *pca)
{
  char acText[1024];
  acText[0] = 0;
  if (sqlaintp_api(acText, 1024, 80, "db2sql.mo", pca) < 0) acText[0] = 0;
  size_t ulLength = std::strlen(acText);
  while (ulLength > 0 && acText[ulLength - 1] == '\n') acText[--ulLength] = 0;
  omsgsFMTEDO(ZORU306E, acText);
}

/* The data-source name of a connection, empty when it cannot be had. */
std::string _dataSource(SQLHDBC hdbc)
{
  char acName[256];
  SQLSMALLINT sLength = 0;
  if (!_ok(SQLGetInfo(hdbc, SQL_DATA_SOURCE_NAME, acName, 255, &sLength))) return {};
  acName[255] = 0;
  return acName;
}

/* Closes and frees a pair; reports a failed disconnect. */
void _close(SQLHENV *phenv, SQLHDBC *phdbc)
{
  std::string strName = _dataSource(*phdbc);
  SQLRETURN rc = SQLDisconnect(*phdbc);
  if (!_ok(rc)) {
    omsgsFMTEDO(ZORU310E, strName.c_str());
    _cliDiagnostics(SQL_HANDLE_DBC, *phdbc, rc);
  }
  SQLFreeHandle(SQL_HANDLE_DBC, *phdbc);
  SQLFreeHandle(SQL_HANDLE_ENV, *phenv);
  *phenv = 0;
  *phdbc = 0;
}

/* SQLConnect with one retry after a second; ZORU309E after the second failure. */
int _connect(const char *pcDatabase, const char *pcUser, const char *pcPassword, SQLHENV *phenv, SQLHDBC *phdbc)
{
  SQLRETURN rc = SQL_ERROR;
  for (int iTry = 0; iTry < 2 && !_ok(rc); iTry++) {
    if (iTry > 0) sleep(1);
    rc = pcUser != nullptr
             ? SQLConnect(*phdbc, (SQLCHAR *)pcDatabase, SQL_NTS, (SQLCHAR *)pcUser, SQL_NTS, (SQLCHAR *)pcPassword,
                          SQL_NTS)
             : SQLConnect(*phdbc, (SQLCHAR *)pcDatabase, SQL_NTS, nullptr, 0, nullptr, 0);
  }
  if (_ok(rc)) return 0;
  omsgsFMTEDO(ZORU309E, pcDatabase);
  _cliDiagnostics(SQL_HANDLE_DBC, *phdbc, rc);
  SQLFreeHandle(SQL_HANDLE_DBC, *phdbc);
  SQLFreeHandle(SQL_HANDLE_ENV, *phenv);
  *phenv = 0;
  *phdbc = 0;
  return DB2UTIL_RC_CONNECT;
}

/* Allocates an environment and a connection handle. */
int _allocate(SQLHENV *phenv, SQLHDBC *phdbc, int iEnvFailure)
{
  if (!_ok(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, phenv))) {
    omsgsFMTEDO(ZORU307E);
    *phenv = 0;
    return iEnvFailure;
  }
  SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_DBC, *phenv, phdbc);
  if (!_ok(rc)) {
    omsgsFMTEDO(ZORU308E);
    _cliDiagnostics(SQL_HANDLE_ENV, *phenv, rc);
    SQLFreeHandle(SQL_HANDLE_ENV, *phenv);
    *phenv = 0;
    *phdbc = 0;
    return DB2UTIL_RC_DBC;
  }
  return 0;
}

/* The text of an OCHAR atom found from the task upwards, or "". */
std::string _atomText(zortask *ptask, int iToken, bool boOwn)
{
  zoratom *patom = nullptr;
  if (boOwn) {
    /* only the task's own atom counts */
    if (ptask != nullptr && ptask->pdictAtoms != nullptr)
      patom = static_cast<zoratom *>(
          odictLoad(ptask->pdictAtoms, reinterpret_cast<uintptr_t>(gapnameTotalToken[iToken])));
  } else {
    patom = zortaskDetermineAtom(ptask, gapnameTotalToken[iToken]);
  }
  if (patom == nullptr || patom->iKind != ZORATOM_OCHAR || patom->value.pchar == nullptr) return {};
  const ochar *pchar = patom->value.pchar;
  return std::string(_charText(pchar), static_cast<size_t>(pchar->ilBU));
}

bool _atomIsYes(zortask *ptask, int iToken)
{
  zoratom *patom = zortaskDetermineAtom(ptask, gapnameTotalToken[iToken]);
  return patom != nullptr && patom->value.iValue == giYes;
}

/* True when the table's qualifier is SYSIBM (blank-padded comparison). */
bool _isSysibm(const std::string &strQualifier)
{
  ochar *pcharA = ocharCreate(0, 850);
  ochar *pcharB = ocharCreate(0, 850);
  bool boSys = false;
  if (pcharA != nullptr && pcharB != nullptr && ocharAppendFixedS(pcharA, strQualifier.data(),
                                                                  static_cast<int32_t>(strQualifier.size())) == 0 &&
      ocharAppendFixedS(pcharB, "SYSIBM", 6) == 0)
    boSys = ocharCompare(pcharA, pcharB, ' ') == 0;
  ocharDestroy(pcharA);
  ocharDestroy(pcharB);
  return boSys;
}

/* QUALIFIER."NAME" of the SELECT task's own table. */
std::string _quiesceName(zortask *ptaskSelect)
{
  return _atomText(ptaskSelect, TOKEN_TBQUALIFIER, true) + "." + '"' + _atomText(ptaskSelect, TOKEN_TBNAME, true) +
         '"';
}

std::string _ocharText(const ochar *pchar)
{
  if (pchar == nullptr || pchar->pcData == nullptr) return {};
  return std::string(_charText(pchar), static_cast<size_t>(pchar->ilBU));
}

/* A new string object holding a copy of the text, CCSID 850. */
ochar *_newString(const std::string &str)
{
  ochar *pchar = ocharCreate(static_cast<int32_t>(str.size()), 850);
  if (pchar != nullptr && ocharAppendFixedS(pchar, str.data(), static_cast<int32_t>(str.size())) != 0) {
    ocharDestroy(pchar);
    return nullptr;
  }
  return pchar;
}

/* One scan of a database directory (system when pcPath is NULL). */
int _scanDirectory(const char *pcPath, const std::string &strPadded, ochar **ppcharDrive, int *piNode,
                   ochar **ppcharInternal)
{
  struct sqlca ca;
  uint16_t usHandle = 0, usCount = 0;
  sqledosd_api(pcPath, &usHandle, &usCount, &ca);
  if (ca.sqlcode != 0) {
    _apiDiagnostics(&ca);
    sqledcls_api(usHandle, &ca);
    return ca.sqlcode == -1031 ? DB2UTIL_RC_NODB : DB2UTIL_RC_SCAN;
  }
  int iResult = DB2UTIL_RC_NODB;
  for (uint16_t us = 0; us < usCount; us++) {
    struct sqledinfo *pentry = nullptr;
    sqledgne_api(usHandle, &pentry, &ca);
    if (ca.sqlcode != 0 || pentry == nullptr) break;
    const unsigned char *puc = pentry->aucBytes;
    bool boAlias = std::memcmp(puc + gulAliasOffset, strPadded.data(), 8) == 0;
    bool boName = !boAlias && std::memcmp(puc + gulNameOffset, strPadded.data(), 8) == 0;
    if (!boAlias && !boName) continue;
    bool boTake = pcPath != nullptr || puc[gulTypeOffset] == '0';
    if (boTake) {
      if (pcPath != nullptr) {
        ocharDestroy(*ppcharInternal);
        *ppcharInternal = _newString(std::string(reinterpret_cast<const char *>(puc + gulInternalOffset), 8));
        *piNode = static_cast<int>(obyteGetLE16(puc + gulNodeOffset));
        omsgsTrace("Found entry for %s |%.*s| internal name |%.8s| node %d\n", boAlias ? "Alias" : "Database", 8,
                   reinterpret_cast<const char *>(puc + (boAlias ? gulAliasOffset : gulNameOffset)),
                   reinterpret_cast<const char *>(puc + gulInternalOffset), *piNode);
      } else {
        std::string strDrive(reinterpret_cast<const char *>(puc + gulDriveOffset), 215);
        size_t ulBlank = strDrive.find(' ');
        if (ulBlank != std::string::npos) strDrive.resize(ulBlank);
        strDrive.resize(std::strlen(strDrive.c_str()));
        ocharDestroy(*ppcharDrive);
        *ppcharDrive = _newString(strDrive);
        omsgsTrace("Found entry for %s |%.*s| drive |%s|\n", boAlias ? "Alias" : "Database", 8,
                   reinterpret_cast<const char *>(puc + (boAlias ? gulAliasOffset : gulNameOffset)),
                   strDrive.c_str());
      }
    }
    if (boAlias && boTake) {
      iResult = 0;
      break;
    }
    if (boAlias || boTake) iResult = 0;
  }
  sqledcls_api(usHandle, &ca);
  return iResult;
}

}  // namespace

int db2utilReconnect(const char *pcDatabase, const char *pcUser, const char *pcPassword, SQLHENV *phenv,
                     SQLHDBC *phdbc)
{
  omsgsTrace("db2utilReconnect database %s user %s\n", pcDatabase ? pcDatabase : "-", pcUser ? pcUser : "-");
  if (pcDatabase == nullptr) return DB2UTIL_RC_CONNECT;
  if (*phenv != 0) {
    if (_dataSource(*phdbc) == pcDatabase) return 0;
    statsTimeTrace("Before connect step");
    _close(phenv, phdbc);
  } else {
    statsTimeTrace("Before connect step");
  }
  int rc = _allocate(phenv, phdbc, DB2UTIL_RC_ENV);
  if (rc == 0) rc = _connect(pcDatabase, pcUser, pcPassword, phenv, phdbc);
  statsTimeTrace("After connect step");
  omsgsTrace("db2utilReconnect -> 0x%x\n", static_cast<unsigned>(rc));
  return rc;
}

void db2utilDisconnect(SQLHENV *phenv, SQLHDBC *phdbc)
{
  if (*phenv == 0) return;
  _close(phenv, phdbc);
}

int db2utilVerifyInstance(void)
{
  SQLHENV henv = 0;
  if (!_ok(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &henv))) return DB2UTIL_RC_ENV;
  SQLFreeHandle(SQL_HANDLE_ENV, henv);
  return 0;
}

int db2utilRegisterUnload(const char *pcTable, int iAction)
{
  struct sqlca ca;
  sqluvtun(pcTable, iAction, nullptr, nullptr, nullptr, &ca);
  if (ca.sqlcode == 0) return 0;
  omsgsFMTEDO(ZORU314E, pcTable);
  _apiDiagnostics(&ca);
  return DB2UTIL_RC_REGISTER;
}

int db2utilQuiesce(const char *pcTable, int iMode)
{
  struct sqlca ca;
  sqluvqdp(pcTable, iMode, nullptr, &ca);
  if (ca.sqlcode == 0) return 0;
  omsgsFMTEDO(ZORU314E, pcTable);
  _apiDiagnostics(&ca);
  return DB2UTIL_RC_RESET;
}

/* Connects a new pair to the SELECT's database on the partition.  Returns 0,
   DB2UTIL_RC_DBC, DB2UTIL_RC_NODE or DB2UTIL_RC_CONNECT (both handles 0 then). */
static int _connectPartition(zortask *ptaskSelect, int iPartition, SQLHENV *phenv, SQLHDBC *phdbc)
{
  std::string strDatabase = _atomText(ptaskSelect, TOKEN_DBNAME, false);
  std::string strUser = _atomText(ptaskSelect, TOKEN_USERNAME, false);
  std::string strPassword = _atomText(ptaskSelect, TOKEN_PASS, false);
  int rc = _allocate(phenv, phdbc, DB2UTIL_RC_DBC);
  if (rc != 0) return rc;
  int32_t iNode = -1;
  SQLGetConnectAttr(*phdbc, SQL_ATTR_CONNECT_NODE, &iNode, 4, nullptr);
  omsgsTrace("connect node before %d\n", iNode);
  SQLRETURN rcSet = SQLSetConnectAttr(*phdbc, SQL_ATTR_CONNECT_NODE,
                                      reinterpret_cast<SQLPOINTER>(static_cast<intptr_t>(iPartition)), 0);
  if (!_ok(rcSet)) {
    _cliDiagnostics(SQL_HANDLE_DBC, *phdbc, rcSet);
    SQLFreeHandle(SQL_HANDLE_DBC, *phdbc);
    SQLFreeHandle(SQL_HANDLE_ENV, *phenv);
    *phenv = 0;
    *phdbc = 0;
    return DB2UTIL_RC_NODE;
  }
  SQLGetConnectAttr(*phdbc, SQL_ATTR_CONNECT_NODE, &iNode, 4, nullptr);
  omsgsTrace("connect node after %d\n", iNode);
  return _connect(strDatabase.c_str(), strUser.empty() ? nullptr : strUser.c_str(), strPassword.c_str(), phenv,
                  phdbc);
}

int db2utilQuiesceLock(zortask *ptaskSelect, int iPartition, SQLHENV *phenv, SQLHDBC *phdbc)
{
  statsTimeTrace("Before db2QuiesceLock");
  int rc = 0;
  if (!_isSysibm(_atomText(ptaskSelect, TOKEN_TBQUALIFIER, true))) {
    std::string strTable = _quiesceName(ptaskSelect);
    bool boLock = _atomIsYes(ptaskSelect, TOKEN_LOCK);
    bool boQuiesce = _atomIsYes(ptaskSelect, TOKEN_QUIESCE);
    omsgsTrace("db2utilQuiesceLock %s partition %d lock %d quiesce %d\n", strTable.c_str(), iPartition, boLock,
               boQuiesce);
    if (boLock || boQuiesce) {
      rc = _connectPartition(ptaskSelect, iPartition, phenv, phdbc);
      if (rc == 0) rc = db2utilRegisterUnload(strTable.c_str(), 0);
      if (rc == 0 && !boLock) {
        db2utilRegisterUnload(strTable.c_str(), 9);
        rc = db2utilQuiesce(strTable.c_str(), 9);
      }
    }
  }
  statsTimeTrace("After db2QuiesceLock");
  return rc;
}

int db2utilResetQuiesce(zortask *ptaskSelect, int iPartition, int iReaderRc)
{
  (void)iPartition;
  statsTimeTrace("Before db2QuiesceReset");
  int rc = iReaderRc;
  if (!_isSysibm(_atomText(ptaskSelect, TOKEN_TBQUALIFIER, true)) && _atomIsYes(ptaskSelect, TOKEN_LOCK)) {
    std::string strTable = _quiesceName(ptaskSelect);
    if (_atomIsYes(ptaskSelect, TOKEN_QUIESCE) && iReaderRc == 0) {
      rc = db2utilRegisterUnload(strTable.c_str(), 2);
    } else {
      db2utilRegisterUnload(strTable.c_str(), 9);
    }
    /* a table left quiesced is the run's failure, not a detail (ZORU314E said so) */
    int rcReset = db2utilQuiesce(strTable.c_str(), 9);
    if (rc == 0) rc = rcReset;
  }
  statsTimeTrace("After db2QuiesceReset");
  return rc;
}

int db2utilReleaseQuiesce(zortask *ptaskSelect, int iPartition)
{
  if (_isSysibm(_atomText(ptaskSelect, TOKEN_TBQUALIFIER, true))) return 0;
  if (!_atomIsYes(ptaskSelect, TOKEN_LOCK) && !_atomIsYes(ptaskSelect, TOKEN_QUIESCE)) return 0;
  std::string strTable = _quiesceName(ptaskSelect);
  omsgsTrace("db2utilReleaseQuiesce %s partition %d\n", strTable.c_str(), iPartition);
  SQLHENV henv = 0;
  SQLHDBC hdbc = 0;
  int rc = _connectPartition(ptaskSelect, iPartition, &henv, &hdbc);
  if (rc == 0) {
    int rcRegister = db2utilRegisterUnload(strTable.c_str(), 9);
    rc = db2utilQuiesce(strTable.c_str(), 9);
    if (rc == 0) rc = rcRegister;
  }
  db2utilDisconnect(&henv, &hdbc);
  return rc;
}

char **db2utilGetDBCfg(ochar *pcharDatabase, ochar *pcharInstance, ochar *pcharUser, ochar *pcharPassword)
{
  std::string strInstance = _ocharText(pcharInstance);
  std::string strDatabase = _ocharText(pcharDatabase);
  std::string strUser = _ocharText(pcharUser);
  std::string strPassword = _ocharText(pcharPassword);
  if (pcharInstance != nullptr) ocharMakeC(pcharInstance);
  struct sqlca ca;
  if (!gboAttached) {
    for (int iTry = 0; iTry < 2; iTry++) {
      if (iTry > 0) sleep(1);
      sqleatin_api(strInstance.c_str(), pcharUser ? strUser.c_str() : nullptr,
                   pcharPassword ? strPassword.c_str() : nullptr, &ca);
      if (ca.sqlcode == 0) break;
    }
    if (ca.sqlcode != 0) {
      omsgsFMTEDO(ZORU346E, strInstance.c_str(), pcharUser ? strUser.c_str() : "");
      _apiDiagnostics(&ca);
      return nullptr;
    }
    gboAttached = true;
  }
  char *pcCodepage = static_cast<char *>(std::calloc(1, 2));
  char *pcTerritory = static_cast<char *>(std::calloc(1, 2));
  char **ppc = static_cast<char **>(std::calloc(2, sizeof(char *)));
  if (pcCodepage == nullptr || pcTerritory == nullptr || ppc == nullptr) {
    std::free(pcCodepage);
    std::free(pcTerritory);
    std::free(ppc);
    return nullptr;
  }
  struct sqlfupd aItems[2] = {{SQLF_DBTN_CODEPAGE, pcCodepage}, {SQLF_DBTN_TERRITORY_CODE, pcTerritory}};
  sqlfxdb(strDatabase.c_str(), 2, aItems, &ca);
  if (ca.sqlcode != 0) {
    omsgsFMTEDO(ZORU313E, strDatabase.c_str());
    _apiDiagnostics(&ca);
    std::free(pcCodepage);
    std::free(pcTerritory);
    std::free(ppc);
    return nullptr;
  }
  ppc[0] = pcCodepage;
  ppc[1] = pcTerritory;
  return ppc;
}

db2utilNode *db2utilGetNodes(const char *pcInstance, int *piCount)
{
  *piCount = 0;
  char *pcHome = configUseItemInLst(7, 1, pcInstance);
  if (pcHome == nullptr) {
    omsgsFMTEDO(ZORU316E, pcInstance ? pcInstance : "");
    return nullptr;
  }
  std::string strHome = pcHome;
  std::free(pcHome);
  if (access(strHome.c_str(), F_OK) != 0) {
    omsgsFMTEDO(ZORU317E, pcInstance ? pcInstance : "");
    return nullptr;
  }
  std::string strPath = strHome + "/sqllib/db2nodes.cfg";
  if (access(strPath.c_str(), F_OK) != 0) {
    db2utilNode *pnode = static_cast<db2utilNode *>(std::calloc(1, sizeof(db2utilNode)));
    if (pnode == nullptr) return nullptr;
    pnode->iNode = 0;
    if (toolsGetHostName(pnode->acHost, 100) != 0) pnode->acHost[0] = 0;
    pnode->iPort = 0;
    *piCount = 1;
    return pnode;
  }
  int rc = 0;
  FILE *pf = toolsOpenBFile(strPath.c_str(), &rc);
  if (pf == nullptr) return nullptr;
  /* The file is read once and every line checked before the array is
     made, so a line DB2 would not write cannot overrun it. */
  struct Line {
    int iNode, iPort;
    std::string strHost;
  };
  std::vector<Line> vLines;
  char *pcLine = nullptr;
  size_t ulSize = 0;
  int iLineNo = 0;
  bool boBad = false;
  while (getline(&pcLine, &ulSize, pf) != -1) {
    iLineNo++;
    char *pc = pcLine;
    while (*pc == ' ' || *pc == '\t') pc++;
    if (*pc == '\n' || *pc == '\r' || *pc == 0) continue;
    char *pcEnd = nullptr;
    errno = 0;
    long lNode = std::strtol(pc, &pcEnd, 10);
    const char *pcWhy = nullptr;
    Line line;
    if (pcEnd == pc || (*pcEnd != ' ' && *pcEnd != '\t') || errno != 0 || lNode < 0 || lNode > 999) {
      pcWhy = "partition number";
    } else {
      pc = pcEnd;
      while (*pc == ' ' || *pc == '\t') pc++;
      char *pcHost = pc;
      while (*pc && *pc != ' ' && *pc != '\t' && *pc != '\n' && *pc != '\r') pc++;
      /* the name as written: an address such as 127.0.0.2 is not cut at its
         first '.'; the root dot of an absolute name is dropped */
      std::string strHost(pcHost, static_cast<size_t>(pc - pcHost));
      if (strHost.size() > 1 && strHost.back() == '.') strHost.pop_back();
      while (*pc == ' ' || *pc == '\t') pc++;
      long lPort = std::strtol(pc, &pcEnd, 10);
      if (strHost.empty() || strHost.size() >= DB2UTIL_HOST_SIZE) pcWhy = "host name";
      else if (pcEnd == pc || lPort < 0 || lPort > 999) pcWhy = "logical port";
      line = {static_cast<int>(lNode), static_cast<int>(lPort), strHost};
    }
    if (pcWhy != nullptr) {
      omsgsFMTEDO(ZORU371E, iLineNo, strPath.c_str(), pcWhy);
      boBad = true;
      continue;
    }
    vLines.push_back(line);
  }
  std::free(pcLine);
  std::fclose(pf);
  if (boBad) return nullptr;
  int iCount = 1;
  for (const Line &l : vLines)
    if (l.iNode + 1 > iCount) iCount = l.iNode + 1;
  db2utilNode *pnodes = static_cast<db2utilNode *>(std::calloc(static_cast<size_t>(iCount), sizeof(db2utilNode)));
  if (pnodes == nullptr) return nullptr;
  for (int i = 0; i < iCount; i++) pnodes[i].iNode = -1;
  for (const Line &l : vLines) {
    db2utilNode &n = pnodes[l.iNode];
    n.iNode = l.iNode;
    std::memcpy(n.acHost, l.strHost.c_str(), l.strHost.size() + 1);
    n.iPort = l.iPort;
  }
  *piCount = iCount;
  omsgsTrace("db2utilGetNodes %s: %d partitions\n", pcInstance ? pcInstance : "-", iCount);
  return pnodes;
}

int db2utilIsThisHost(const char *pcHost)
{
  if (pcHost == nullptr || pcHost[0] == '\0') return 1;
  std::string strHost = pcHost;
  if (strHost.size() > 1 && strHost.back() == '.') strHost.pop_back();
  unsigned char aucAddress[sizeof(struct in6_addr)];
  bool boAddress = inet_pton(AF_INET, strHost.c_str(), aucAddress) == 1 ||
                   inet_pton(AF_INET6, strHost.c_str(), aucAddress) == 1;
  int iThis = 0;
  if (!boAddress && strcasecmp(strHost.c_str(), "localhost") == 0) {
    iThis = 1;
  } else if (toolsIsLocalHost(strHost.c_str())) {
    iThis = 1;
  } else if (!boAddress) {
    /* a name with another domain than gethostname's, or that no resolver knows */
    char acHost[256] = {0};
    if (gethostname(acHost, sizeof acHost - 1) == 0) {
      std::string strOwn(acHost, std::strcspn(acHost, "."));
      std::string strShort = strHost.substr(0, strHost.find('.'));
      iThis = !strOwn.empty() && strcasecmp(strOwn.c_str(), strShort.c_str()) == 0;
    }
  }
  omsgsTrace("db2utilIsThisHost(%s) = %d\n", pcHost, iThis);
  return iThis;
}

int db2utilGetDBPath(const char *pcDatabase, ochar **ppcharDrive, int *piNode, ochar **ppcharInternal)
{
  std::string strPadded = pcDatabase ? std::string(pcDatabase).substr(0, 8) : std::string();
  strPadded.resize(8, ' ');
  int rc = _scanDirectory(nullptr, strPadded, ppcharDrive, piNode, ppcharInternal);
  if (rc == 0 && *ppcharDrive != nullptr) {
    std::string strDrive = _ocharText(*ppcharDrive);
    rc = _scanDirectory(strDrive.c_str(), strPadded, ppcharDrive, piNode, ppcharInternal);
  }
  if (rc != 0) omsgsFMTEDO(ZORU312E, pcDatabase ? pcDatabase : "");
  return rc;
}

int db2utilGetAuthorizations(const char *pcDatabase, const char *pcUser, const char *pcPassword)
{
  (void)pcPassword;
  omsgsTrace("db2utilGetAuthorizations database %s user %s\n", pcDatabase ? pcDatabase : "-", pcUser ? pcUser : "-");
  struct sql_authorizations auth;
  std::memset(&auth, 0, sizeof auth);
  auth.sql_authorizations_len = 42;
  struct sqlca ca;
  sqluadau(&auth, &ca);
  if (ca.sqlcode != 0) {
    omsgsFMTEDO(ZORU315E, pcUser ? pcUser : "", pcDatabase ? pcDatabase : "");
    _apiDiagnostics(&ca);
    return DB2UTIL_RC_AUTH;
  }
  /* words 1 and 2: SYSADM and DBADM held directly; 6 and 7: through a group */
  bool boHeld = auth.asWords[0] || auth.asWords[1] || auth.asWords[5] || auth.asWords[6];
  return boHeld ? 0 : DB2UTIL_RC_AUTH;
}

int db2utilExport(char *pcStatement, const char *pcDataFile, const char *pcMessageFile, const char *pcFileType,
                   int iLobPaths, char **ppcLobPaths, int iLobFiles, char **ppcLobFiles)
{
  std::vector<sqlu_media_entry> vPaths(static_cast<size_t>(iLobPaths > 0 ? iLobPaths : 0));
  std::vector<sqlu_location_entry> vFiles(static_cast<size_t>(iLobFiles > 0 ? iLobFiles : 0));
  for (size_t i = 0; i < vPaths.size(); i++) {
    std::memset(&vPaths[i], 0, sizeof vPaths[i]);
    std::strncpy(vPaths[i].media_entry, ppcLobPaths[i], sizeof vPaths[i].media_entry - 1);
    vPaths[i].reserve_len = static_cast<uint32_t>(std::strlen(vPaths[i].media_entry));
  }
  for (size_t i = 0; i < vFiles.size(); i++) {
    std::memset(&vFiles[i], 0, sizeof vFiles[i]);
    std::strncpy(vFiles[i].location_entry, ppcLobFiles[i], sizeof vFiles[i].location_entry - 1);
    vFiles[i].reserve_len = static_cast<uint32_t>(std::strlen(vFiles[i].location_entry));
  }
  sqlu_media_list listPaths = {'L', static_cast<int32_t>(vPaths.size()), vPaths.data()};
  sqlu_media_list listFiles = {'C', static_cast<int32_t>(vFiles.size()), vFiles.data()};

  toolsFormatStatement(pcStatement);
  size_t ulLength = std::strlen(pcStatement);
  std::vector<char> vAction(sizeof(int16_t) + ulLength + 1);
  sqlchar *pAction = reinterpret_cast<sqlchar *>(vAction.data());
  pAction->length = static_cast<int16_t>(ulLength);
  std::memcpy(pAction->data, pcStatement, ulLength);
  char acModifier[sizeof(int16_t) + 16];
  sqlchar *pModifier = reinterpret_cast<sqlchar *>(acModifier);
  pModifier->length = 10;
  std::memcpy(pModifier->data, "LOBSINFILE", 10);
  sqldcol dcol = {'D', 0};

  /* Temporary files go in a directory of our own, so nobody can put a file
     or a link in their place. */
  std::string strTempDir;
  if (pcDataFile == nullptr || pcMessageFile == nullptr) {
    const char *pcTmp = std::getenv("TMPDIR");
    std::string strTemplate = std::string(pcTmp ? pcTmp : "/tmp") + "/db2zav.XXXXXX";
    std::vector<char> vTemplate(strTemplate.begin(), strTemplate.end());
    vTemplate.push_back(0);
    if (mkdtemp(vTemplate.data()) == nullptr) {
      int iErrno = errno;
      omsgsFMTEDO(ZORU347E, vTemplate.data(), toolsGetError());
      return TOOLS_RC_IO | iErrno;
    }
    strTempDir = vTemplate.data();
  }
  std::string strData = pcDataFile ? pcDataFile : strTempDir + "/output." + std::to_string(getpid());
  std::string strMessages = pcMessageFile ? pcMessageFile : strTempDir + "/message." + std::to_string(getpid());

  struct sqluexpt_out out;
  std::memset(&out, 0, sizeof out);
  out.sizeOfStruct = sizeof out;
  struct sqlca ca;
  sqluexpr_api(strData.c_str(), vPaths.empty() ? nullptr : &listPaths, vFiles.empty() ? nullptr : &listFiles, &dcol,
               pAction, pcFileType, pModifier, strMessages.c_str(), 0, &out, nullptr, &ca);
  bool boFailed = ca.sqlcode != 0 && ca.sqlwarn[0] == ' ';
  int iRc = 0;
  if (boFailed) {
    omsgsFMTEDO(ZORU311E);
    _apiDiagnostics(&ca);
    iRc = DB2UTIL_RC_EXPORT;
  }
  if (!boFailed && pcDataFile == nullptr) {
    int rc = 0;
    int iFd = toolsOpenFile(strData.c_str(), &rc, 1);
    if (iFd < 0) {
      iRc = rc != 0 ? rc : TOOLS_RC_IO;
    } else {
      char ac[2048];
      ssize_t l;
      while (iRc == 0 && (l = read(iFd, ac, sizeof ac)) > 0) {
        for (ssize_t lDone = 0; lDone < l;) {
          ssize_t lWritten = write(STDOUT_FILENO, ac + lDone, static_cast<size_t>(l - lDone));
          if (lWritten < 0 && errno == EINTR) continue;
          if (lWritten <= 0) {
            int iErrno = lWritten < 0 ? errno : ENOSPC;
            omsgsFMTEDO(ZORU347E, "stdout", std::strerror(iErrno));
            iRc = TOOLS_RC_IO | iErrno;
            break;
          }
          lDone += lWritten;
        }
      }
      close(iFd);
    }
  }
  if (pcMessageFile == nullptr) {
    int rc = 0;
    FILE *pf = toolsOpenBFile(strMessages.c_str(), &rc);
    if (pf != nullptr) {
      char ac[2048];
      while (std::fgets(ac, sizeof ac, pf) != nullptr) omsgsPrint(ac, static_cast<int>(std::strlen(ac)));
      std::fclose(pf);
    }
    unlink(strMessages.c_str());
  }
  /* after a failed export to standard output the data file stays for
     inspection; otherwise the temporary one goes */
  if (pcDataFile == nullptr && !boFailed) unlink(strData.c_str());
  if (!strTempDir.empty()) rmdir(strTempDir.c_str());
  return iRc;
}
