/*
** args.cpp
**   The command line of db2zav (see args.h): reading the options into the
**   options block, the consistency checks, and the atoms of the PARMLIB task
**   made from the options and the configuration.
**
**   Every text value is checked against the field that receives it before
**   it is copied: a value that does not fit with its NUL is refused with
**   ZORU320E (the password is named, not shown).  Partition numbers are
**   limited to 0 to 999, the numbers a DB2 partition can have.
*/
#include "driver/args.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/obf.h"
#include "common/ochar.h"
#include "common/olist.h"
#include "common/omsgs.h"
#include "model/config.h"
#include "io/db2util.h"
#include "model/token.h"
#include "model/tools.h"
#include "model/udb.h"
#include "model/zoratom.h"
#include "model/zormsgs.h"
#include "model/zortask.h"

#define OMSGS_TRACE_KEYWORD "$ARGS"
#define OMSGS_DEBUG_KEYWORD "$ARGSD"
#include "common/omsgsmod.h"

/* Packed keyword values of INTEGER atoms. */
#define ARGS_YES 0xE8C5E2
#define ARGS_NO  0xD5D6

/* Codes of the long options without a letter. */
enum {
  ARGS_OPT_NODESCFG = 0,
  ARGS_OPT_PURGE = 1,
  ARGS_OPT_THREADS = 2,
  ARGS_OPT_PART = 3,
  ARGS_OPT_VERBOSE = 4,
  ARGS_OPT_IDENTITY = 5,
  ARGS_OPT_HOST = 6
};

const zor3option long_options[] = {
    {"file", ZOR3_REQUIRED_ARGUMENT, nullptr, 'f'},
    {"table", ZOR3_REQUIRED_ARGUMENT, nullptr, 't'},
    {"version", ZOR3_NO_ARGUMENT, nullptr, 'v'},
    {"configuration", ZOR3_NO_ARGUMENT, nullptr, 'c'},
    {"abnormal", ZOR3_NO_ARGUMENT, nullptr, 'a'},
    {"buffers", ZOR3_REQUIRED_ARGUMENT, nullptr, 'b'},
    {"database", ZOR3_REQUIRED_ARGUMENT, nullptr, 'd'},
    {"extended_test", ZOR3_NO_ARGUMENT, nullptr, 'e'},
    {"help", ZOR3_NO_ARGUMENT, nullptr, 'h'},
    {"host", ZOR3_REQUIRED_ARGUMENT, nullptr, ARGS_OPT_HOST},
    {"hostname", ZOR3_REQUIRED_ARGUMENT, nullptr, ARGS_OPT_HOST},
    {"instance", ZOR3_REQUIRED_ARGUMENT, nullptr, 'i'},
    {"local", ZOR3_NO_ARGUMENT, nullptr, 'l'},
    {"message", ZOR3_REQUIRED_ARGUMENT, nullptr, 'm'},
    {"nodescfg", ZOR3_REQUIRED_ARGUMENT, nullptr, ARGS_OPT_NODESCFG},
    {"noexecute", ZOR3_NO_ARGUMENT, nullptr, 'n'},
    {"output", ZOR3_REQUIRED_ARGUMENT, nullptr, 'o'},
    {"part", ZOR3_REQUIRED_ARGUMENT, nullptr, ARGS_OPT_PART},
    {"partition", ZOR3_REQUIRED_ARGUMENT, nullptr, ARGS_OPT_PART},
    {"password", ZOR3_REQUIRED_ARGUMENT, nullptr, 'p'},
    {"purge", ZOR3_OPTIONAL_ARGUMENT, nullptr, ARGS_OPT_PURGE},
    {"threads", ZOR3_REQUIRED_ARGUMENT, nullptr, ARGS_OPT_THREADS},
    {"user", ZOR3_REQUIRED_ARGUMENT, nullptr, 'u'},
    {"verbose", ZOR3_NO_ARGUMENT, nullptr, ARGS_OPT_VERBOSE},
    {"identity", ZOR3_REQUIRED_ARGUMENT, nullptr, ARGS_OPT_IDENTITY},
    {nullptr, 0, nullptr, 0}};

const char gacArgsShortOptions[] = "f:t:vcab:d:ehi:lm:no:p:u:0:1::2:3:45:6:";

/* ------------------------------------------------------------- helpers */

/* A new CCSID 850 string object holding the NUL-terminated text, kept
** NUL-terminated; NULL when memory runs out. */
static ochar *_argsMakeChar(const char *pcText, size_t ulLength)
{
  ochar *pchar = ocharCreate(0, OCHAR_CCSID_ASCII);
  if (pchar == nullptr) return nullptr;
  if (ocharAppendFixed(pchar, pcText, static_cast<int32_t>(ulLength)) != 0 || ocharMakeC(pchar) != 0) {
    ocharDestroy(pchar);
    return nullptr;
  }
  return pchar;
}

/* Copies pcValue into the text field of ulSize bytes.  A value that does
** not fit with its NUL gives ZORU320E with pcShown (the value itself when
** NULL).  Returns 1 when stored, 0 when refused. */
static int _argsStoreText(char *pcField, size_t ulSize, const char *pcValue, const char *pcShown)
{
  size_t ulLength = std::strlen(pcValue);
  if (ulLength >= ulSize) {
    omsgsFMTEDO(ZORU320E, pcShown != nullptr ? pcShown : pcValue);
    return 0;
  }
  std::memcpy(pcField, pcValue, ulLength + 1);
  return 1;
}

/* Upper-cases a NUL-terminated field in place. */
static void _argsUpper(char *pcField)
{
  int iLength = static_cast<int>(std::strlen(pcField));
  toolsToupperStr(pcField, pcField, iLength);
  pcField[iLength] = '\0';
}

/* The name of a table, qualifier or database: a value beginning with a
** double quote keeps its case and loses its first and last characters,
** which must both be double quotes (a quote inside the name stays as it
** is); any other is upper-cased.  *pboDelimited, when given, tells which.
** Returns 1, or 0 when the closing quote is missing. */
static int _argsCaseName(char *pcField, int32_t *pboDelimited = nullptr)
{
  if (pboDelimited != nullptr) *pboDelimited = 0;
  if (pcField[0] != '"') {
    _argsUpper(pcField);
    return 1;
  }
  size_t ulLength = std::strlen(pcField);
  if (ulLength < 2 || pcField[ulLength - 1] != '"') return 0;
  std::memmove(pcField, pcField + 1, ulLength - 2);
  pcField[ulLength - 2] = '\0';
  if (pboDelimited != nullptr) *pboDelimited = 1;
  return 1;
}

/* The "." that ends the qualifier of a -t value: the first one outside
** double quotes, so that a quoted name may hold dots.  NULL when none. */
static const char *_argsQualifierEnd(const char *pcValue)
{
  bool boQuoted = false;
  for (const char *pc = pcValue; *pc != '\0'; pc++) {
    if (*pc == '"')
      boQuoted = !boQuoted;
    else if (*pc == '.' && !boQuoted)
      return pc;
  }
  return nullptr;
}

/* A partition number: digits only, value 0 to ARGS_PART_MAX.  Returns the
** number, or -1 when the piece is no valid partition number. */
static long _argsPartNumber(const char *pcPiece, size_t ulLength)
{
  if (ulLength == 0 || !toolsIsdigitStr(pcPiece, static_cast<int>(ulLength))) return -1;
  while (ulLength > 1 && *pcPiece == '0') {
    pcPiece++;
    ulLength--;
  }
  if (ulLength > 3) return -1;
  long lNumber = std::strtol(std::string(pcPiece, ulLength).c_str(), nullptr, 10);
  return lNumber <= ARGS_PART_MAX ? lNumber : -1;
}

/* Calls fnPiece(piece, length) for each non-empty piece of the comma list;
** stops at the first piece it refuses.  Returns 1 when every piece passed. */
template <typename Piece>
static int _argsForEachPiece(const char *pcList, Piece fnPiece)
{
  const char *pc = pcList;
  while (*pc != '\0') {
    const char *pcEnd = std::strchr(pc, ',');
    size_t ulLength = pcEnd != nullptr ? static_cast<size_t>(pcEnd - pc) : std::strlen(pc);
    if (ulLength > 0 && !fnPiece(pc, ulLength)) return 0;
    pc += ulLength;
    if (*pc == ',') pc++;
  }
  return 1;
}

/* Replaces *ppchar by a new string object of the text; 0 or ORC_NOMEM. */
static int _argsSetChar(ochar **ppchar, const char *pcText)
{
  ochar *pchar = _argsMakeChar(pcText, std::strlen(pcText));
  if (pchar == nullptr) return ORC_NOMEM;
  ocharDestroy(*ppchar);
  *ppchar = pchar;
  return 0;
}

/* -t: qualifier and table.  Returns 1, or 0 after a message. */
static int _argsTable(argsOptions *pargs, const char *pcValue)
{
  pargs->boTable = 1;
  const char *pcDot = _argsQualifierEnd(pcValue);
  if (pcDot == nullptr) return _argsStoreText(pargs->acTable, sizeof pargs->acTable, pcValue, nullptr);

  pargs->boQualifier = 1;
  std::string strBefore(pcValue, static_cast<size_t>(pcDot - pcValue));
  std::string strAfter(pcDot + 1);
  if (strBefore.empty() || strAfter.empty()) {
    omsgsFMTEDO(ZORU370E, strBefore.c_str(), strAfter.c_str());
    return 0;
  }
  if (!_argsStoreText(pargs->acQualifier, sizeof pargs->acQualifier, strBefore.c_str(), nullptr)) return 0;
  return _argsStoreText(pargs->acTable, sizeof pargs->acTable, strAfter.c_str(), nullptr);
}

/* --host / --hostname: another host than this one makes the request remote;
** this host is known by its names and by its addresses. */
static int _argsHost(argsOptions *pargs, const char *pcValue)
{
  if (toolsIsLocalHost(pcValue)) return 0;
  pargs->boRemote = 1;
  return _argsSetChar(&pargs->pcharHost, pcValue);
}

/* --threads: digits only, and a count that fits in 32 bits. */
static int _argsThreads(argsOptions *pargs, const char *pcValue)
{
  size_t ulLength = std::strlen(pcValue);
  if (ulLength > 0 && toolsIsdigitStr(pcValue, static_cast<int>(ulLength))) {
    errno = 0;
    long lNumber = std::strtol(pcValue, nullptr, 10);
    if (errno == 0 && lNumber <= INT32_MAX) {
      pargs->boThreads = 1;
      pargs->ilThreads = static_cast<int32_t>(lNumber);
      return 1;
    }
  }
  omsgsFMTEDO(ZORU305E);
  return 0;
}

/* ------------------------------------------------------------- reading */

int argsParse(argsOptions *pargs, int argc, char **argv)
{
  zortask *ptaskParmlib = pargs->ptaskParmlib;
  std::memset(pargs, 0, sizeof *pargs);
  pargs->ptaskParmlib = ptaskParmlib;
  std::memset(pargs->acQualifier, ' ', sizeof pargs->acQualifier - 1);
  std::memset(pargs->acTable, ' ', sizeof pargs->acTable - 1);

  int iRc = 0;
  const char *pcTableValue = nullptr;
  zor3optind = 0;   /* a fresh scan of this vector */
  for (;;) {
    int iIndex = 0;
    int iCode = zor3getopt_long_only(argc, argv, gacArgsShortOptions, long_options, &iIndex);
    if (iCode == -1) break;
    const char *pcValue = zor3optarg;
    int boOk = 1;
    switch (iCode) {
      case 'f':
        pargs->boFile = 1;
        boOk = _argsStoreText(pargs->acFile, sizeof pargs->acFile, pcValue, nullptr);
        break;
      case 't':
        pcTableValue = pcValue;
        boOk = _argsTable(pargs, pcValue);
        break;
      case 'v': pargs->boVersion = 1; break;
      case 'c': pargs->boConfig = 1; break;
      case 'a': pargs->boAbnormal = 1; break;
      case 'b':
        pargs->boBuffers = 1;
        boOk = _argsStoreText(pargs->acBuffers, sizeof pargs->acBuffers, pcValue, nullptr);
        break;
      case 'd':
        boOk = _argsStoreText(pargs->acDatabase, sizeof pargs->acDatabase, pcValue, nullptr);
        if (boOk) pargs->boDatabase = 1;
        break;
      case 'e': pargs->boExtended = 1; break;
      case 'h': pargs->boHelp = 1; break;
      case ARGS_OPT_HOST:
        if (_argsHost(pargs, pcValue) != 0) iRc = ORC_NOMEM;
        break;
      case 'i':
        boOk = _argsStoreText(pargs->acInstance, sizeof pargs->acInstance, pcValue, nullptr);
        if (boOk) pargs->boInstance = 1;
        break;
      case 'l': pargs->boLocal = 1; break;
      case 'm':
        pargs->boMessage = 1;
        boOk = _argsStoreText(pargs->acMessage, sizeof pargs->acMessage, pcValue, nullptr);
        if (boOk) omsgsInitMessageFileName(pargs->acMessage);
        break;
      case ARGS_OPT_NODESCFG:
        pargs->boNodescfg = 1;
        boOk = _argsStoreText(pargs->acNodescfg, sizeof pargs->acNodescfg, pcValue, nullptr);
        break;
      case 'n': pargs->boNoexecute = 1; break;
      case 'o':
        pargs->boOutput = 1;
        if (_argsSetChar(&pargs->pcharOutput, pcValue) != 0) iRc = ORC_NOMEM;
        break;
      case ARGS_OPT_PART:
        pargs->boPart = 1;
        boOk = _argsStoreText(pargs->acPart, sizeof pargs->acPart, pcValue, nullptr);
        break;
      case 'p':
        pargs->boPassword = 1;
        boOk = _argsStoreText(pargs->acPassword, sizeof pargs->acPassword, pcValue, "-p");
        break;
      case ARGS_OPT_PURGE:
        pargs->boPurge = 1;
        if (pcValue != nullptr) pargs->ilPurge = static_cast<int32_t>(std::strtol(pcValue, nullptr, 10));
        break;
      case ARGS_OPT_THREADS:
        boOk = _argsThreads(pargs, pcValue);
        break;
      case 'u':
        pargs->boUser = 1;
        boOk = _argsStoreText(pargs->acUser, sizeof pargs->acUser, pcValue, nullptr);
        break;
      case ARGS_OPT_VERBOSE: pargs->boVerbose = 1; break;
      case ARGS_OPT_IDENTITY:
        pargs->boIdentity = 1;
        if (_argsSetChar(&pargs->pcharIdentity, pcValue) != 0) iRc = ORC_NOMEM;
        break;
      default:
        /* '?', ':', the digit codes and anything unknown: refused, the
           scanner has said why where there is something to say. */
        boOk = 0;
        break;
    }
    if (!boOk && iRc == 0) iRc = ARGS_RC_BADOPTION;
  }
  omsgsTrace("argsParse: scan 0x%x\n", iRc);
  if (iRc != 0) return iRc == ORC_NOMEM ? ORC_NOMEM : ARGS_RC_BADOPTION;

  /* The password of -u may come in the environment (a run started by the
     daemon gets it so); it is taken out of the environment at once. */
  if (const char *pcEnvPassword = std::getenv(ARGS_PASSWORD_ENV)) {
    std::string strPassword = pcEnvPassword;
    unsetenv(ARGS_PASSWORD_ENV);
    if (pargs->boUser && !pargs->boPassword) {
      if (!_argsStoreText(pargs->acPassword, sizeof pargs->acPassword, strPassword.c_str(), "-p"))
        return ARGS_RC_BADOPTION;
      pargs->boPassword = 1;
    }
  }

  if (pargs->boTable && (!_argsCaseName(pargs->acTable, &pargs->boTableDelimited) ||
                         (pargs->boQualifier &&
                          !_argsCaseName(pargs->acQualifier, &pargs->boQualifierDelimited)))) {
    omsgsFMTEDO(ZORU321E, pcTableValue != nullptr ? pcTableValue : pargs->acTable);
    return ARGS_RC_BADOPTION;
  }
  if (pargs->boDatabase) {
    std::string strValue = pargs->acDatabase;
    if (!_argsCaseName(pargs->acDatabase)) {
      omsgsFMTEDO(ZORU322E, strValue.c_str());
      return ARGS_RC_BADOPTION;
    }
  }
  if (pargs->boPart && std::strcmp(pargs->acPart, "all") != 0 && std::strcmp(pargs->acPart, "current") != 0) {
    if (!_argsForEachPiece(pargs->acPart,
                           [](const char *pc, size_t ulLength) { return _argsPartNumber(pc, ulLength) >= 0; })) {
      omsgsFMTEDO(ZORU323E);
      return ARGS_RC_BADOPTION;
    }
  }
  if (pargs->boFile && !pargs->boLocal) {
    int iRcArgs = _argsGetRemoteArgs(pargs, argc, argv);
    if (iRcArgs != 0) return iRcArgs;
  }
  return 0;
}

/* ------------------------------------------------------------- checks */

int argsControl(argsOptions *pargs)
{
  int iRequests = pargs->boFile + pargs->boVersion + pargs->boTable;
  const char *pcMsg = nullptr;
  if (iRequests == 0 && !pargs->boConfig)
    pcMsg = ZORU324E;
  else if (iRequests > 1)
    pcMsg = ZORU325E;
  else if (pargs->boPassword != pargs->boUser)
    pcMsg = ZORU326E;
  else if (pargs->boNoexecute && !pargs->boFile)
    pcMsg = ZORU327E;
  else if (pargs->boTable && pargs->boRemote)
    pcMsg = ZORU369E;
  if (pcMsg == nullptr) return 0;
  omsgsFMTEDO(pcMsg);
  return ARGS_RC_CONFLICT;
}

const char *argsGetQualifier(argsOptions *pargs)
{
  return pargs->boQualifier ? pargs->acQualifier : nullptr;
}

void argsDestroy(argsOptions *pargs, int bOwnRemoteArgs)
{
  ocharDestroy(pargs->pcharOutput);
  ocharDestroy(pargs->pcharIdentity);
  ocharDestroy(pargs->pcharHost);
  if (bOwnRemoteArgs) ocharDestroy(pargs->pcharRemoteArgs);
  pargs->pcharOutput = pargs->pcharIdentity = pargs->pcharHost = pargs->pcharRemoteArgs = nullptr;
}

/* ------------------------------------------------------------- the set of partitions */

obf *_argsParsePart(argsOptions *pargs, const char *pcInstance)
{
  obf *pobf = obfCreate(ARGS_PART_BITS);
  if (pobf == nullptr) return nullptr;
  if (!pargs->boPart || std::strcmp(pargs->acPart, "all") == 0) return pobf;

  long lHighest = -1;
  if (std::strcmp(pargs->acPart, "current") == 0) {
    int iCount = 0;
    db2utilNode *pnodes = db2utilGetNodes(pcInstance, &iCount);
    for (int i = 0; pnodes != nullptr && i < iCount; i++) {
      if (pnodes[i].iNode < 0 || pnodes[i].iNode > ARGS_PART_MAX) continue;
      if (!db2utilIsThisHost(pnodes[i].acHost)) continue;
      obfSet(pobf, static_cast<uint32_t>(pnodes[i].iNode));
      if (pnodes[i].iNode > lHighest) lHighest = pnodes[i].iNode;
    }
    std::free(pnodes);
  } else {
    _argsForEachPiece(pargs->acPart, [&](const char *pc, size_t ulLength) {
      long lNumber = _argsPartNumber(pc, ulLength);
      if (lNumber < 0) return 1;   /* refused by argsParse already */
      obfSet(pobf, static_cast<uint32_t>(lNumber));
      if (lNumber > lHighest) lHighest = lNumber;
      return 1;
    });
  }
  obfResize(pobf, static_cast<uint32_t>(lHighest + 1));
  return pobf;
}

/* ------------------------------------------------------------- forwarded arguments */

/* How many arguments a dropped option takes from pcArg on: 2 when its value
** is the next argument, 1 when the value is attached ("--file=x", "-fx"). */
static int _argsDroppedCount(const char *pcArg)
{
  if (std::strchr(pcArg, '=') != nullptr) return 1;
  if (pcArg[1] == '-') return 2;
  const char *pcName = pcArg + 1;
  size_t ulLength = std::strlen(pcName);
  if (ulLength <= 1) return 2;
  /* One dash and a longer name: a long option when the name is one, else
     the letter with its value attached. */
  for (const zor3option *p = long_options; p->name != nullptr; p++)
    if (std::strncmp(p->name, pcName, ulLength) == 0) return 2;
  return 1;
}

static bool _argsStartsWith(const char *pcArg, const char *pcPrefix)
{
  return std::strncmp(pcArg, pcPrefix, std::strlen(pcPrefix)) == 0;
}

int _argsGetRemoteArgs(argsOptions *pargs, int argc, char **argv)
{
  std::string strArgs;
  bool boHost = false;
  for (int i = 1; i < argc; i++) {
    const char *pcArg = argv[i];
    /* "--f" and "--m" already name file and message: no other long option
       begins with those letters. */
    bool boFileOrMsg = _argsStartsWith(pcArg, "-f") || _argsStartsWith(pcArg, "--f") ||
                       _argsStartsWith(pcArg, "-m") || _argsStartsWith(pcArg, "--m");
    bool boHostArg = _argsStartsWith(pcArg, "-ho") || _argsStartsWith(pcArg, "--ho");
    if (boFileOrMsg || boHostArg) {
      if (boHostArg && pargs->boRemote) boHost = true;
      i += _argsDroppedCount(pcArg) - 1;
      continue;
    }
    strArgs += ' ';
    strArgs += pcArg;
  }
  if (!boHost) strArgs += " -l";
  return _argsSetChar(&pargs->pcharRemoteArgs, strArgs.c_str());
}

/* ------------------------------------------------------------- atoms of the PARMLIB task */

/* Adds an atom to the task; a refused atom is destroyed.  Returns 0, or
** the reason code of the failure. */
static int _argsAdd(zortask *ptask, zoratom *patom)
{
  if (patom == nullptr) return ORC_NOMEM;
  int iRc = zortaskAddAtom(ptask, patom);
  if (iRc != 0) zoratomDestroy(patom);
  return iRc;
}

static int _argsAddInteger(zortask *ptask, int iToken, int32_t iValue)
{
  return _argsAdd(ptask, zoratomCreate(gapnameTotalToken[iToken], ZORATOM_INTEGER, ZORATOM_BORROWED,
                                       static_cast<uintptr_t>(static_cast<uint32_t>(iValue)), nullptr, nullptr));
}

/* An owned OCHAR atom of CCSID 850 holding the text. */
static int _argsAddText(zortask *ptask, int iToken, const char *pcText)
{
  ochar *pchar = _argsMakeChar(pcText, std::strlen(pcText));
  if (pchar == nullptr) return ORC_NOMEM;
  zoratom *patom = zoratomCreate(gapnameTotalToken[iToken], ZORATOM_OCHAR, 0, reinterpret_cast<uintptr_t>(pchar),
                                 nullptr, nullptr);
  if (patom == nullptr) {
    ocharDestroy(pchar);
    return ORC_NOMEM;
  }
  return _argsAdd(ptask, patom);
}

/* An INTEGER atom of a configuration item holding a number, when it has a value. */
static int _argsAddItem(zortask *ptask, int iToken, int iItem)
{
  int32_t *piValue = static_cast<int32_t *>(configUseItem(iItem, 1));
  if (piValue == nullptr) return 0;
  int32_t iValue = *piValue;
  std::free(piValue);
  return _argsAddInteger(ptask, iToken, iValue);
}

int argsFillParms(argsOptions *pargs)
{
  zortask *ptask = pargs->ptaskParmlib;
  if (ptask == nullptr) return ORC_INVALID;

  /* 1 and 2: the instance. */
  std::string strInstance;
  if (pargs->boInstance) {
    strInstance = pargs->acInstance;
  } else {
    char *pcItem = static_cast<char *>(configUseItem(CONFIG_ITEM_DB2INSTANCE, 1));
    if (pcItem == nullptr) {
      omsgsTrace("argsFillParms: pcInstName = NULL");
      return ARGS_RC_NOINST;
    }
    strInstance = pcItem;
    std::free(pcItem);
  }
  int iRc = _argsAddText(ptask, TOKEN_INSTANCE_NAME, strInstance.c_str());
  if (iRc == 0) iRc = _argsAddText(ptask, TOKEN_SSID, strInstance.c_str());
  if (iRc != 0) return iRc;

  /* 3: the instance user. */
  char *pcUser = configUseItemInLst(CONFIG_ITEM_INSTUSERS, 1, strInstance.c_str());
  if (pcUser == nullptr) {
    omsgsFMTEDO(ZORU415E, strInstance.c_str());
    return ARGS_RC_NOUSER;
  }
  std::string strUser = pcUser;
  std::free(pcUser);
  iRc = _argsAddText(ptask, TOKEN_INSTANCE_USER, strUser.c_str());
  if (iRc != 0) return iRc;
  std::string strSqlid = strUser;
  toolsToupperStr(strSqlid.data(), strSqlid.data(), static_cast<int>(strSqlid.size()));
  iRc = _argsAddText(ptask, TOKEN_SQLID, strSqlid.c_str());
  if (iRc != 0) return iRc;

  /* 4: the database. */
  if (pargs->boDatabase) {
    iRc = _argsAddText(ptask, TOKEN_DBNAME, pargs->acDatabase);
  } else {
    char *pcItem = static_cast<char *>(configUseItem(CONFIG_ITEM_DB2DBDFT, 1));
    if (pcItem != nullptr) {
      std::string strDb = pcItem;
      std::free(pcItem);
      toolsToupperStr(strDb.data(), strDb.data(), static_cast<int>(strDb.size()));
      iRc = _argsAddText(ptask, TOKEN_DBNAME, strDb.c_str());
    }
  }
  if (iRc != 0) return iRc;

  /* 5: DB2 user and password. */
  if (pargs->boUser && (iRc = _argsAddText(ptask, TOKEN_USERNAME, pargs->acUser)) != 0) return iRc;
  if (pargs->boPassword && (iRc = _argsAddText(ptask, TOKEN_PASS, pargs->acPassword)) != 0) return iRc;

  /* 6 to 8: numbers. */
  iRc = pargs->boThreads ? _argsAddInteger(ptask, TOKEN_MAXTASK, pargs->ilThreads)
                         : _argsAddItem(ptask, TOKEN_MAXTASK, CONFIG_ITEM_MAXUNLOADS);
  if (iRc == 0) iRc = _argsAddItem(ptask, TOKEN_MAXBUFFER_MAIN, CONFIG_ITEM_RECSIZE);
  if (iRc == 0) iRc = _argsAddItem(ptask, TOKEN_PTK001, CONFIG_ITEM_PTK001);
  if (iRc == 0) iRc = _argsAddItem(ptask, TOKEN_PTK002, CONFIG_ITEM_PTK002);
  if (iRc == 0) iRc = _argsAddItem(ptask, TOKEN_PTK003, CONFIG_ITEM_PTK003);
  if (iRc == 0) {
    int32_t *piDouble = static_cast<int32_t *>(configUseItem(CONFIG_ITEM_DOUBLEDELIM, 1));
    bool boGiven = piDouble != nullptr;
    int32_t iDouble = boGiven ? *piDouble : 1;
    std::free(piDouble);
    if (iDouble == CONFIG_DOUBLEDELIM_INVALID) {
      omsgsFMTEDO(ZORU473E);
      return ARGS_RC_BADOPTION;
    }
    if (boGiven) iRc = _argsAddInteger(ptask, TOKEN_DOUBLE_DELIM, iDouble);
  }
  if (iRc != 0) return iRc;

  /* 9: the partition set. */
  obf *pobf = _argsParsePart(pargs, strInstance.c_str());
  if (pobf == nullptr) return ORC_NOMEM;
  zoratom *patom = zoratomCreate(gapnameTotalToken[TOKEN_PART], ZORATOM_OBF, 0, reinterpret_cast<uintptr_t>(pobf),
                                 nullptr, nullptr);
  if (patom == nullptr) {
    obfDestroy(pobf);
    return ORC_NOMEM;
  }
  if ((iRc = _argsAdd(ptask, patom)) != 0) return iRc;

  /* 10: the output file of -o, replaced on the current host. */
  olist *plist = nullptr;
  if (pargs->boOutput) {
    plist = olistCreate(0, udbOutFileCloneItem, udbOutFileDestroyItem);
    ochar *pcharName = ocharClone(pargs->pcharOutput);
    obf *pobfCopy = obfClone(pobf);
    udbOutFile *pout = nullptr;
    if (plist != nullptr && pcharName != nullptr && pobfCopy != nullptr)
      pout = udbOutFileCreate(pcharName, nullptr, pobfCopy, UDB_MODE_REPLACE | UDB_MODE_CURRENT);
    if (pout == nullptr) {
      if (plist != nullptr) olistDestroy(plist);
      ocharDestroy(pcharName);
      if (pobfCopy != nullptr) obfDestroy(pobfCopy);
      return ORC_NOMEM;
    }
    olistAppend(plist, pout);
  }
  patom = zoratomCreate(gapnameTotalToken[TOKEN_OUTPUT], ZORATOM_OLIST, 0, reinterpret_cast<uintptr_t>(plist),
                        nullptr, nullptr);
  if (patom == nullptr) {
    if (plist != nullptr) olistDestroy(plist);
    return ORC_NOMEM;
  }
  if ((iRc = _argsAdd(ptask, patom)) != 0) return iRc;

  /* 11 to 14. */
  if (pargs->boMessage && (iRc = _argsAddText(ptask, TOKEN_MSGFILE, pargs->acMessage)) != 0) return iRc;
  if ((iRc = _argsAddInteger(ptask, TOKEN_LOCAL, pargs->boLocal ? ARGS_YES : ARGS_NO)) != 0) return iRc;
  if (pargs->boFile && !pargs->boLocal) {
    if ((iRc = _argsAddText(ptask, TOKEN_SYSIN, pargs->acFile)) != 0) return iRc;
    if (pargs->pcharRemoteArgs != nullptr) {
      /* The atom takes over the block's forwarded argument string. */
      patom = zoratomCreate(gapnameTotalToken[TOKEN_ARGS], ZORATOM_OCHAR, 0,
                            reinterpret_cast<uintptr_t>(pargs->pcharRemoteArgs), nullptr, nullptr);
      if (patom == nullptr) return ORC_NOMEM;
      if ((iRc = zortaskAddAtom(ptask, patom)) != 0) {
        patom->value.pchar = nullptr;
        zoratomDestroy(patom);
        return iRc;
      }
    }
  }
  return _argsAddInteger(ptask, TOKEN_VERBOSE, pargs->boVerbose ? ARGS_YES : ARGS_NO);
}
