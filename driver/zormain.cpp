/*
** zormain.cpp
**   Entry of the db2zav command (see zormain.h): the start-up sequence, the
**   PARMLIB task's parameter-library atoms, the usage text, the identity
**   switch, and the one exit path.
**
**   Messages issued before the options are known are deferred: they reach
**   sysprint when a failure path flushes them, or once the options have been
**   read.  Every end goes through _mainEnd (or the same steps for exit 0).
**
**   Identities: the real identity becomes the DB2 instance user (a local
**   request) and the effective identity the caller or the --identity user.
**   --identity is honoured only for a caller who is root or, for a local
**   request, the instance user; when the program runs as root it also takes
**   the supplementary groups of the effective user, so that no group of the
**   privileged caller is left to the run.
*/
#include "driver/zormain.h"

#include <grp.h>
#include <pwd.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/ochar.h"
#include "common/omsgs.h"
#include "common/omsgssev.h"
#include "common/oreason.h"
#include "common/osignal.h"
#include "driver/args.h"
#include "model/config.h"
#include "io/db2util.h"
#include "model/part.h"
#include "model/parm.h"
#include "io/socket.h"
#include "model/token.h"
#include "model/zoratom.h"
#include "driver/zormaindisp.h"
#include "model/zormsgs.h"
#include "model/zortask.h"
#include "storage/ficcont.h"

#define OMSGS_TRACE_KEYWORD "$IMAIN"
#define OMSGS_DEBUG_KEYWORD "$IMAIND"
#include "common/omsgsmod.h"

/* Packed keyword values. */
#define MAIN_YES     0xE8C5E2
#define MAIN_NO      0xD5D6
#define MAIN_FORCE   0xC6D6D9
#define MAIN_OFF     0xD6C6C6
#define MAIN_BEFORE  0xC2C6D6
#define MAIN_AFTER   0xC1C6E3
#define MAIN_EBCDIC  0xC5C2C3
#define MAIN_ASCII   0xC1E2C3
#define MAIN_ASIS    0xC1E2
#define MAIN_UNICODE 0xE4D5C9

/* FORMAT code of DEL. */
#define MAIN_FORMAT_DEL 13

const char gacMainVersion[] = "02.01.005K";

const char gaacMainUsage[MAIN_USAGE_ROWS][MAIN_USAGE_ROW_SIZE] = {
    "\t-c|--configuration\t\t\tcheck the installation only\n",
    "\t-d|--database database\t\t\tspecify a database name\n",
    "\t-f|--file file\t\t\t\tspecify a control file\n",
    "\t-h|--help\t\t\t\tdisplay this help\n",
    "\t-host|--hostname host\t\t\tspecify a host name\n",
    "\t-i|--instance instance\t\t\tspecify an instance name\n",
    "\t-m|--message file\t\t\tspecify a message file\n",
    "\t-n|--noexecute\t\t\t\ttest control file syntax only\n",
    "\t-o|--output file\t\t\tspecify an output file\n",
    "\t-p|--password password\t\t\tspecify an UDB user password\n",
    "\t-part|--partition all|current|n,..,n\tspecify partitions\n",
    "\t-t|--table table\t\t\tspecify a table name\n",
    "\t--threads n\t\t\t\tspecify how many SELECTs run at once\n",
    "\t-u|--user user\t\t\t\tspecify an UDB user\n",
    "\t-v|--version\t\t\t\tdisplay the version\n"};

/* One blank of CCSID 850: the PADDING value, cloned into the task. */
static char gacBlank[2] = " ";
static ochar gcharBlank = {gacBlank, 1, 1, 1, OCHAR_CCSID_ASCII, OCHAR_SBCS | OCHAR_850};

/* The environment entry DB2INSTANCE=<instance>; handed to putenv, so it
** lives as long as the process. */
static char *acStrEnv = nullptr;

/* Centre of the message system, for the exit paths. */
static int giMainCentre = -1;

/* ------------------------------------------------------------------ ends */

void _mainEnd(int iReason, int iCentre)
{
  if (iReason != 0) omsgsFMTEDO(ZORU366I, oreasonEndReturnCode(iReason), iReason);
  if (gboTorvelExist) omsgsTraceOutIntern("main", iReason);
  omsgsFlushDefered();
  omsgsDestroyModule(iCentre);
  vSOCKETcloseServices();
  std::exit(oreasonExitStatus(iReason));
}

/*
** The final code of a request a SIGINT, SIGTERM or SIGHUP stopped (the
** request's code says so, or it failed while this process had caught
** one): its children were sent the signal and reaped, what they held
** released; ZORU495E names the signal, and the code makes the process exit
** with 128 + its number.  iRc otherwise: a signal that came once the
** request had done its work changes nothing.
*/
static int _mainInterrupted(int iRc)
{
  int iSignal = osignalIsInterrupted(iRc) ? (iRc & 0x7F) : 0;
  if (iSignal == 0 && iRc != 0) iSignal = osignalCaught();
  if (iSignal == 0) return iRc;
  omsgsFMTEDO(ZORU495E, iSignal, osignalName(iSignal));
  return OSIGNAL_RC_INTERRUPTED | iSignal;
}

/* Ends a run that went well (or stopped early on purpose): exit 0, unless
   messages were lost (a message centre that ended early, a message file
   that did not take them all) or an error message was issued on the way
   (no run says success after one). */
[[noreturn]] static void _mainEndOk(int iCentre)
{
  int iRcEnd = omsgssevEndCode();
  if (iRcEnd != 0) _mainEnd(iRcEnd, iCentre);
  if (gboTorvelExist) omsgsTraceOutIntern("main", 0);
  omsgsFlushDefered();
  int iRc = omsgsDestroyModule(iCentre);
  vSOCKETcloseServices();
  if (iRc == OMSGS_RC_LOST || iRc == OMSGS_RC_SYSPRINT) {
    omsgsFMTEDO(ZORU366I, (iRc & 0x7000) >> 10, iRc);   /* written directly */
    std::exit(oreasonExitStatus(iRc));
  }
  std::exit(0);
}

/* Ends a shipped request with the exit status of the run on the other host,
** whose own end message came back with its lines. */
[[noreturn]] static void _mainEndRemote(int iStatus, int iCentre)
{
  if (gboTorvelExist) omsgsTraceOutIntern("main", iStatus);
  omsgsFlushDefered();
  omsgsDestroyModule(iCentre);
  vSOCKETcloseServices();
  std::exit(iStatus);
}

/* Before the options are read there is no centre for the first failures:
** start one without configuration, print the message and the end. */
[[noreturn]] static void _mainEndEarly(const char *pcMsg, int iReason)
{
  int iCentre = -1;
  omsgsInitModule("/", static_cast<int>(getpid()), nullptr, 0, 0, nullptr, 1, &iCentre, nullptr, nullptr);
  omsgsFMTEDO(pcMsg);
  _mainEnd(iReason, iCentre);
}

/* No configuration file: ZORU399E, then the file looked for and why it is not there. */
[[noreturn]] static void _mainEndNoConfig(void)
{
  std::string strPath = std::string(getenv("TOPZAV")) + "/cfg/" CONFIG_FILE_CFG;
  int iErrno = access(strPath.c_str(), F_OK) != 0 ? errno : ENOENT;
  int iCentre = -1;
  omsgsInitModule("/", static_cast<int>(getpid()), nullptr, 0, 0, nullptr, 1, &iCentre, nullptr, nullptr);
  omsgsFMTEDO(ZORU399E);
  omsgsFMTEDO(ZORU476I, strPath.c_str(), strerror(iErrno));
  _mainEnd(MAIN_RC_NOCFG, iCentre);
}

/* ------------------------------------------------------------------ usage */

char *_mainBuildUsage(const char *pcProgram)
{
  std::string str = "Zavelin command line:\nUsage: ";
  str += pcProgram != nullptr ? pcProgram : "db2zav";
  str += " options\n";
  for (const auto &acRow : gaacMainUsage) str += acRow;
  str += "\n";
  return strdup(str.c_str());
}

/* ------------------------------------------------------------------ PARMLIB */

int32_t _mainPicFlags(const char *pcMask, const char *pcPic)
{
  int32_t iFlags;
  if (std::memcmp(pcMask, "*.* ", 4) == 0)
    iFlags = 0xC000;
  else if (std::memcmp(pcMask, "*.0 ", 4) == 0)
    iFlags = 0x8000;
  else if (std::memcmp(pcMask, "0.* ", 4) == 0)
    iFlags = 0xE000;
  else if (std::memcmp(pcMask, "00.*", 4) == 0)
    iFlags = 0x4000;
  else if (std::memcmp(pcMask, "00.0", 4) == 0)
    iFlags = 0;
  else
    iFlags = 0xA000;

  if (pcPic[0] == '-')
    iFlags |= 0x100;
  else if (pcPic[0] == '+')
    iFlags |= 0x200;
  else if (pcPic[0] == 'P')
    iFlags |= 0x400;

  char cDecimal;
  if (pcPic[1] == 'L') {
    iFlags |= 0x10;
    cDecimal = pcPic[5];
  } else {
    iFlags |= 0x20;
    cDecimal = pcPic[6];
  }
  iFlags |= cDecimal == ',' ? 1 : 2;
  return iFlags;
}

/* Address of a parameter-library field. */
static const char *_mainField(int iMember, int32_t iItem)
{
  return static_cast<const char *>(Gaparmlink[iMember].procAccessor(&iItem));
}

/* Adds an atom; a refused one is destroyed.  Returns 0 or the failure. */
static int _mainAdd(zortask *ptask, zoratom *patom)
{
  if (patom == nullptr) return ORC_NOMEM;
  int iRc = zortaskAddAtom(ptask, patom);
  if (iRc != 0) zoratomDestroy(patom);
  return iRc;
}

static int _mainAddInteger(zortask *ptask, int iToken, int32_t iValue)
{
  return _mainAdd(ptask, zoratomCreate(gapnameTotalToken[iToken], ZORATOM_INTEGER, ZORATOM_BORROWED,
                                       static_cast<uintptr_t>(static_cast<uint32_t>(iValue)), nullptr, nullptr));
}

/* An owned OCHAR atom holding the string object (destroyed on failure). */
static int _mainAddChar(zortask *ptask, int iToken, ochar *pchar)
{
  if (pchar == nullptr || ocharMakeC(pchar) != 0) {
    ocharDestroy(pchar);
    return ORC_NOMEM;
  }
  zoratom *patom = zoratomCreate(gapnameTotalToken[iToken], ZORATOM_OCHAR, 0, reinterpret_cast<uintptr_t>(pchar),
                                 nullptr, nullptr);
  if (patom == nullptr) {
    ocharDestroy(pchar);
    return ORC_NOMEM;
  }
  return _mainAdd(ptask, patom);
}

/* A new string object of iLength bytes in the CCSID, or NULL. */
static ochar *_mainMakeChar(const char *pcBytes, int32_t iLength, uint16_t usCCSID)
{
  ochar *pchar = ocharCreate(0, usCCSID);
  if (pchar == nullptr) return nullptr;
  if (ocharAppendFixed(pchar, pcBytes, iLength) != 0 || ocharMakeC(pchar) != 0) {
    ocharDestroy(pchar);
    return nullptr;
  }
  return pchar;
}

/* The NULL atom: none for "OFF ", else the two bytes given in hexadecimal. */
static int _mainAddNull(zortask *ptask, const char *pcNull)
{
  ochar *pcharFirst = nullptr;
  ochar *pcharSecond = nullptr;
  if (std::memcmp(pcNull, "OFF ", 4) != 0) {
    pcharFirst = _mainMakeChar(pcNull, 2, 65535);
    pcharSecond = _mainMakeChar(pcNull + 2, 2, 65535);
    if (pcharFirst == nullptr || pcharSecond == nullptr || ocharPack(pcharFirst) != 0 ||
        ocharPack(pcharSecond) != 0 || ocharMakeC(pcharFirst) != 0 || ocharMakeC(pcharSecond) != 0) {
      ocharDestroy(pcharFirst);
      ocharDestroy(pcharSecond);
      return ORC_NOMEM;
    }
  }
  zoratom *patom = zoratomCreateDoubleChar(gapnameTotalToken[TOKEN_NULL], pcharFirst, pcharSecond, nullptr, nullptr);
  if (patom == nullptr) {
    ocharDestroy(pcharFirst);
    ocharDestroy(pcharSecond);
    return ORC_NOMEM;
  }
  return _mainAdd(ptask, patom);
}

/* The atoms of the parameter library, in their order. */
static int _mainFillParmlib(zortask *ptask)
{
  const char *pcLock = _mainField(PARM_OPTUNL, 2);
  const char *pcQuiesce = _mainField(PARM_OPTUNL, 3);
  const char *pcQcat = _mainField(PARM_OPTDB2, 7);
  const char *pcDate = _mainField(PARM_OPTUNL, 5);
  const char *pcTime = _mainField(PARM_OPTUNL, 6);
  const char *pcTimestamp = _mainField(PARM_OPTUNL, 7);
  const char *pcMask = _mainField(PARM_OPTUNL, 19);
  const char *pcPic = _mainField(PARM_OPTUNL, 8);
  const char *pcNull = _mainField(PARM_OPTUNL, 4);
  const char *pcUseDb2 = _mainField(PARM_OPTUNL, 1);
  const char *pcScheme = _mainField(PARM_OPTUNL, 16);
  const char *pcDecimal = _mainField(PARM_OPTDB2, 10);
  int16_t sNullpos = 0;
  std::memcpy(&sNullpos, _mainField(PARM_OPTUNL, 14), sizeof sNullpos);

  int32_t iQcat;
  switch (pcQcat[0]) {
    case 'F': iQcat = MAIN_FORCE; break;
    case 'O': iQcat = MAIN_OFF; break;
    case 'Y': iQcat = MAIN_YES; break;
    default: iQcat = MAIN_NO; break;
  }
  int32_t iScheme;
  switch (pcScheme[0]) {
    case 'A': iScheme = MAIN_ASCII; break;
    case 'T': iScheme = MAIN_ASIS; break;
    case 'U': iScheme = MAIN_UNICODE; break;
    default: iScheme = MAIN_EBCDIC; break;
  }

  int iRc = _mainAddInteger(ptask, TOKEN_LOCK, pcLock[0] == 'Y' ? MAIN_YES : MAIN_NO);
  if (iRc == 0) iRc = _mainAddInteger(ptask, TOKEN_QUIESCE, pcQuiesce[0] == 'Y' ? MAIN_YES : MAIN_NO);
  if (iRc == 0) iRc = _mainAddInteger(ptask, TOKEN_QUIESCECAT, iQcat);
  if (iRc == 0)
    iRc = _mainAdd(ptask, zoratomCreateType(gapnameTotalToken[TOKEN_DATE], 10,
                                            static_cast<unsigned char>(pcDate[0]), nullptr, nullptr));
  if (iRc == 0)
    iRc = _mainAdd(ptask, zoratomCreateType(gapnameTotalToken[TOKEN_TIME], 11,
                                            static_cast<unsigned char>(pcTime[0]), nullptr, nullptr));
  if (iRc == 0)
    iRc = _mainAdd(ptask, zoratomCreateType(gapnameTotalToken[TOKEN_TIMESTAMP], 12,
                                            static_cast<unsigned char>(pcTimestamp[1]), nullptr, nullptr));
  if (iRc == 0) iRc = _mainAddInteger(ptask, TOKEN_PIC, _mainPicFlags(pcMask, pcPic));
  if (iRc == 0) iRc = _mainAddInteger(ptask, TOKEN_NULLPOS, sNullpos == 0 ? MAIN_BEFORE : MAIN_AFTER);
  if (iRc == 0) iRc = _mainAddNull(ptask, pcNull);
  if (iRc == 0) iRc = _mainAddInteger(ptask, TOKEN_DB2, pcUseDb2[0] == 'N' ? MAIN_NO : MAIN_YES);
  if (iRc == 0) iRc = _mainAddInteger(ptask, TOKEN_SCHEME, iScheme);
  if (iRc == 0) iRc = _mainAddChar(ptask, TOKEN_DECIMAL, _mainMakeChar(pcDecimal, 1, OCHAR_CCSID_ASCII));
  if (iRc == 0) iRc = _mainAddChar(ptask, TOKEN_TIMEDELIM, _mainMakeChar(".", 1, OCHAR_CCSID_ASCII));
  if (iRc == 0) iRc = _mainAddChar(ptask, TOKEN_DATEDELIM, _mainMakeChar("-", 1, OCHAR_CCSID_ASCII));
  if (iRc == 0) iRc = _mainAddChar(ptask, TOKEN_PADDING, ocharClone(&gcharBlank));
  if (iRc == 0) iRc = _mainAddInteger(ptask, TOKEN_FORMAT, MAIN_FORMAT_DEL);
  if (iRc == 0) iRc = _mainAddInteger(ptask, TOKEN_MAXRECORD_MAIN, 100);
  if (iRc == 0) iRc = _mainAddInteger(ptask, TOKEN_MAXLRECL, 100);
  if (iRc == 0) iRc = _mainAddInteger(ptask, TOKEN_MAXDB2LEN, 100);
  if (iRc == 0) iRc = _mainAddInteger(ptask, TOKEN_SERIAL_EXEC, MAIN_YES);
  return iRc;
}

zortask *_mainCreateParmlib(argsOptions *pargs)
{
  if (gboTorvelExist) omsgsTraceInIntern("_mainCreateParmlib", 0);
  zortask *ptask = zortaskCreateNamed(gapnameTotalToken[TOKEN_PARMLIB]);
  if (ptask != nullptr && _mainFillParmlib(ptask) != 0) {
    zortaskDestroy(ptask);
    ptask = nullptr;
  }
  if (ptask != nullptr) pargs->ptaskParmlib = ptask;
  if (gboTorvelExist) omsgsTraceOutIntern("_mainCreateParmlib", ptask != nullptr ? 0 : ORC_NOMEM);
  return ptask;
}

/* ------------------------------------------------------------------ identities */

/* The NUL-terminated text of a string atom of the PARMLIB task, or "". */
static std::string _mainAtomText(zortask *ptask, int iToken)
{
  zoratom *patom = zortaskDetermineAtom(ptask, gapnameTotalToken[iToken]);
  if (patom == nullptr || patom->value.pchar == nullptr || patom->value.pchar->pcData == nullptr) return "";
  const ochar *pchar = patom->value.pchar;
  return std::string(_charText(pchar), static_cast<size_t>(pchar->ilBU));
}

static int _mainChangeUsersIn(argsOptions *pargs)
{
  const bool boLocal = !pargs->boRemote;
  const uid_t uidCaller = getuid();
  const gid_t gidCaller = getgid();

  /* The real identity: the instance user, or the caller. */
  std::string strInstance, strRealUser;
  uid_t uidReal = uidCaller;
  gid_t gidReal = gidCaller;
  if (boLocal) {
    strInstance = _mainAtomText(pargs->ptaskParmlib, TOKEN_SSID);
    strRealUser = _mainAtomText(pargs->ptaskParmlib, TOKEN_INSTANCE_USER);
    struct passwd *ppw = getpwnam(strRealUser.c_str());
    if (ppw == nullptr) {
      omsgsFMTEDO(ZORU354E, strRealUser.c_str(), strInstance.c_str());
      return MAIN_RC_BADUSER;
    }
    uidReal = ppw->pw_uid;
    gidReal = ppw->pw_gid;
  } else {
    struct passwd *ppw = getpwuid(uidCaller);
    strRealUser = ppw != nullptr ? ppw->pw_name : std::to_string(uidCaller);
  }

  /* The effective identity: the --identity user, or the caller. */
  uid_t uidEffective = uidCaller;
  gid_t gidEffective = gidCaller;
  std::string strEffectiveUser;
  if (pargs->boIdentity) {
    strEffectiveUser = pargs->pcharIdentity != nullptr ? _charText(pargs->pcharIdentity) : "";
    struct passwd *ppw = getpwnam(strEffectiveUser.c_str());
    /* Only root, or the instance user itself, may act for another user. */
    bool boAllowed = uidCaller == 0 || (boLocal && uidCaller == uidReal);
    if (ppw == nullptr || !boAllowed) {
      omsgsTrace("_mainChangeUsers: identity %s refused (caller %d, known %d)\n", strEffectiveUser.c_str(),
                 static_cast<int>(uidCaller), ppw != nullptr);
      omsgsFMTEDO(ZORU328E, strEffectiveUser.c_str());
      return MAIN_RC_SETID;
    }
    uidEffective = ppw->pw_uid;
    gidEffective = ppw->pw_gid;
  } else {
    struct passwd *ppw = getpwuid(uidCaller);
    if (ppw != nullptr) strEffectiveUser = ppw->pw_name;
  }

  /* The message centre's queue admits its owner and group only: hand it
     (and the registry segment a later run cleans up from) to the
     --identity user, keeping the group of the centre (which runs with the
     caller's group), or nothing could be posted after the switch. */
  if (pargs->boIdentity && omsgsHandOver(uidEffective, gidCaller) != 0)
    omsgsTrace("_mainChangeUsers: queue not handed over\n");

  /* A privileged process leaves none of its own groups to the run. */
  if (geteuid() == 0 && !strEffectiveUser.empty() && initgroups(strEffectiveUser.c_str(), gidEffective) != 0) {
    omsgsFMTEDO(ZORU328E, strEffectiveUser.c_str());
    return MAIN_RC_SETID;
  }
  if (setregid(gidReal, gidEffective) != 0 || setreuid(uidReal, uidEffective) != 0) {
    omsgsFMTEDO(ZORU328E, strRealUser.c_str());
    return MAIN_RC_SETID;
  }
  omsgsTrace("_mainChangeUsers: real %d/%d effective %d/%d\n", static_cast<int>(getuid()), static_cast<int>(getgid()),
             static_cast<int>(geteuid()), static_cast<int>(getegid()));
  if (!boLocal) return 0;

  /* The instance for the DB2 calls; the entry is sized to the name. */
  std::string strEntry = "DB2INSTANCE=" + strInstance;
  char *pcEntry = strdup(strEntry.c_str());
  if (pcEntry == nullptr) return ORC_NOMEM;
  if (putenv(pcEntry) != 0) {
    std::free(pcEntry);
    return ORC_NOMEM;
  }
  std::free(acStrEnv);   /* an earlier entry is no longer in the environment */
  acStrEnv = pcEntry;
  int iRc = db2utilVerifyInstance();
  if (iRc != 0) omsgsFMTEDO(ZORU355E, strInstance.c_str());
  return iRc;
}

int _mainChangeUsers(argsOptions *pargs)
{
  if (gboTorvelExist) omsgsTraceInIntern("_mainChangeUsers", 0);
  int iRc = _mainChangeUsersIn(pargs);
  if (gboTorvelExist) omsgsTraceOutIntern("_mainChangeUsers", iRc);
  return iRc;
}

/* ------------------------------------------------------------------ start-up */

void mainRun(int argc, char **argv)
{
  static argsOptions args;   /* lives for the whole run */
  int iRc = 0;

  /* 0: a signal asking the program to stop ends the run in order. */
  osignalInstall();

  /* 1: messages are held until the options are known. */
  omsgsSetDefered(1);

  /* 2 and 3: installation and configuration file. */
  if (configVerifyTopzav() != 0) _mainEndEarly(ZORU400E, CONFIG_RC_NOTOPZAV);
  char *pcCfgPath = static_cast<char *>(configUseItem(CONFIG_ITEM_FILE, 1));
  if (pcCfgPath == nullptr) _mainEndNoConfig();

  /* 4: the message system, with the trace switches (it keeps no reference
     to the list). */
  ochar *pcharTrace = configReadFileTrace();
  iRc = omsgsInitModule(pcCfgPath, static_cast<int>(getpid()), nullptr, 0, 0, pcharTrace, 1,
                        &giMainCentre, nullptr, nullptr);
  if (iRc != 0) {
    omsgsFMTEDO(ZORU366I, oreasonEndReturnCode(iRc), iRc);
    omsgsFlushDefered();
    std::exit(oreasonExitStatus(iRc));
  }
  if (gboTorvelExist) omsgsTraceInIntern("main", argc);
  /* from here every process of the run counts its error messages for the end */
  if (omsgssevStart() != 0) omsgsTrace("main: error messages counted per process\n");

  /* 5 and 6: code pages and the catalogue language. */
  char *pcLanguage = nullptr;
  char *pcCatalogue = nullptr;
  iRc = configSetLanguage(&pcLanguage, &pcCatalogue);
  omsgsTrace("main:configSetLanguage : %i\n", iRc);
  if (iRc != 0) {
    std::free(pcCfgPath);
    ocharDestroy(pcharTrace);
    std::free(pcCatalogue);
    std::free(pcLanguage);
    _mainEnd(iRc, giMainCentre);
  }
  omsgsInitLanguage(pcCatalogue, pcLanguage);
  std::free(pcCatalogue);
  std::free(pcLanguage);
  (void)configCheckFile();
  iSOCKETstartServices();
  partSetFiccontProcs(ficcontClone, ficcontDestroy);

  /* 7 and 8: the options; then messages go straight to sysprint. */
  iRc = argsParse(&args, argc, argv);
  omsgsTrace("main:argsParse : %i\n", iRc);
  std::free(pcCfgPath);
  ocharDestroy(pcharTrace);
  if (iRc != 0) _mainEnd(iRc, giMainCentre);
  omsgsFlushDefered();
  omsgsSetDefered(0);

  /* 9: help, whatever else was asked. */
  if (args.boHelp) {
    char *pcUsage = _mainBuildUsage(argc > 0 ? argv[0] : nullptr);
    if (pcUsage != nullptr) omsgsPrint(pcUsage, static_cast<int>(std::strlen(pcUsage)));
    std::free(pcUsage);
    omsgsTrace("main:ZAVHelpOption : %i\n", 0);
    _mainEndOk(giMainCentre);
  }

  /* 10 and 11: checks, version. */
  iRc = argsControl(&args);
  omsgsTrace("main:argsControl : %i\n", iRc);
  if (iRc != 0) _mainEnd(iRc, giMainCentre);
  if (args.boVersion) {
    omsgsFMTEDO(ZORU414I, gacMainVersion);
    omsgsTrace("main:ZAVVersionOption : %i\n", 0);
    omsgsTrace("main:almost done : 0x%x\n", 0);
    _mainEndOk(giMainCentre);
  }

  /* 12 and 13: atom names, user defaults, the PARMLIB task. */
  iRc = tokenInitKeyword();
  if (iRc != 0) _mainEnd(iRc, giMainCentre);
  configGetDefaultUserParam();
  if (!args.boRemote) {
    if (_mainCreateParmlib(&args) == nullptr) _mainEnd(ORC_NOMEM, giMainCentre);
    iRc = argsFillParms(&args);
    omsgsTrace("main:argsFillParms: 0x%x\n", iRc);
    if (iRc != 0) _mainEnd(iRc, giMainCentre);
  }

  /* The key of the daemon conversations is read with the identity the
     program was started with, before it changes. */
  std::string strKeyInstance;
  if (!args.boRemote) {
    strKeyInstance = _mainAtomText(args.ptaskParmlib, TOKEN_SSID);
  } else if (args.boInstance) {
    strKeyInstance = args.acInstance;
  } else if (char *pcItem = static_cast<char *>(configUseItem(CONFIG_ITEM_DB2INSTANCE, 1))) {
    strKeyInstance = pcItem;
    std::free(pcItem);
  }
  omsgsTrace("main:iSOCKETsetInstance(%s) : 0x%x\n", strKeyInstance.c_str(),
             iSOCKETsetInstance(strKeyInstance.c_str()));

  /* 14: identities; then what earlier runs killed outright left behind, with
     the identity their objects were made with. */
  iRc = _mainChangeUsers(&args);
  if (iRc != 0) _mainEnd(iRc, giMainCentre);
  omsgsTrace("main:ChangeUsers: 0x%x\n", iRc);
  omsgsTrace("main:omsgsClearEarlierRuns : %d\n", omsgsClearEarlierRuns());

  /* 15 and 16: the request. */
  iRc = _mainInterrupted(_mainDispatch(&args));
  omsgsTrace("main:almost done : 0x%x\n", iRc);
  if (iRc != 0) _mainEnd(iRc, giMainCentre);
  if (giMainRemoteStatus > 0) _mainEndRemote(giMainRemoteStatus, giMainCentre);
  _mainEndOk(giMainCentre);
}
