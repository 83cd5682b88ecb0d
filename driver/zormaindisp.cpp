/*
** zormaindisp.cpp
**   The request dispatch of the db2zav command (see zormaindisp.h): the
**   control-file request with its listing, the table request's tree, the
**   authorisation check, local execution and the shipping of a request to
**   another host.  Traces go to the "$IMAIN" keyword of the start-up.
*/
#include "driver/zormaindisp.h"

#include <pwd.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/ochaine.h"
#include "common/ochar.h"
#include "common/omsgs.h"
#include "common/omsgssev.h"
#include "common/oreason.h"
#include "common/osignal.h"
#include "common/ostream.h"
#include "common/oyacc.h"
#include "control/zor3lex.h"
#include "control/zor3yacc.h"
#include "control/zorcontrol.h"
#include "control/zorcontroludbts.h"
#include "driver/args.h"
#include "io/db2util.h"
#include "model/parm.h"
#include "io/socket.h"
#include "model/stats.h"
#include "model/token.h"
#include "model/zoratom.h"
#include "driver/zormain.h"
#include "model/zormsgs.h"
#include "model/zortask.h"
#include "expr/zorcol.h"
#include "run/zorurun.h"

#define OMSGS_TRACE_KEYWORD "$IMAIN"
#define OMSGS_DEBUG_KEYWORD "$IMAIND"
#include "common/omsgsmod.h"

/* TASKTYPE of the GLOBAL task. */
#define MAIN_TASKTYPE_GLOBAL 5

/* What lives until the process ends: the parser context (with the
** control-file stream it owns) and the control object (with the tree). */
static oyacc gyaccMain;
static ostream *gpstreamMain = nullptr;
static zorcontrol *gpcontrolMain = nullptr;

int giMainRemoteStatus = -1;

/* ------------------------------------------------------------------ helpers */

/* True when the module's trace keyword is enabled (dumps are big). */
static bool _mainDumpOn(void)
{
  return omsgsTraceCheck("$IMAIN") == 1;
}

/* The dumps of the PARMLIB and GLOBAL tasks before the control object is made. */
static void _mainDumpTasks(zortask *ptaskParmlib, zortask *ptaskGlobal)
{
  omsgsTrace("DUMP de ptaskParmlib\n\n");
  if (_mainDumpOn()) zortaskTraceMsgsService(ptaskParmlib, "$IMAIN");
  omsgsTrace("DUMP de ptaskGlobal\n\n");
  if (_mainDumpOn()) zortaskTraceMsgsService(ptaskGlobal, "$IMAIN");
}

/* The NUL-terminated text of the string atom found from ptask upwards, or NULL. */
static const char *_mainAtomText(zortask *ptask, int iToken)
{
  zoratom *patom = zortaskDetermineAtom(ptask, gapnameTotalToken[iToken]);
  if (patom == nullptr || (patom->iKind != ZORATOM_OCHAR && patom->iKind != ZORATOM_DIM)) return nullptr;
  ochar *pchar = patom->value.pchar;
  if (pchar == nullptr || ocharMakeC(pchar) != 0) return nullptr;
  return _charText(pchar);
}

/* A name for the SQL text: as it is, or, when it was given in double
** quotes, in double quotes again with each inner double quote doubled. */
static std::string _mainSqlName(const char *pcName, int boDelimited)
{
  if (!boDelimited) return pcName;
  std::string str = "\"";
  for (const char *pc = pcName; *pc != '\0'; pc++) {
    if (*pc == '"') str += '"';
    str += *pc;
  }
  return str + "\"";
}

/* Adds an owned OCHAR atom of the text in CCSID usCCSID; the string is
** destroyed when the atom cannot be made or stored.  Returns 0 or the code. */
static int _mainAddText(zortask *ptask, int iToken, const std::string &str, uint16_t usCCSID)
{
  ochar *pchar = ocharCreate(0, usCCSID);
  if (pchar == nullptr) return ORC_NOMEM;
  int iRc = ocharAppendFixedS(pchar, str.data(), static_cast<int32_t>(str.size()));
  if (iRc == 0) iRc = ocharMakeC(pchar);
  zoratom *patom = nullptr;
  if (iRc == 0) {
    patom = zoratomCreate(gapnameTotalToken[iToken], ZORATOM_OCHAR, 0, reinterpret_cast<uintptr_t>(pchar), nullptr,
                          nullptr);
    if (patom == nullptr) iRc = ORC_NOMEM;
  }
  if (iRc != 0) {
    ocharDestroy(pchar);
    return iRc;
  }
  iRc = zortaskAddAtom(ptask, patom);
  if (iRc != 0) zoratomDestroy(patom);
  return iRc;
}

/* ------------------------------------------------------------------ listing */

const char *_mainListingRuler(void)
{
  static char acRuler[160];
  if (acRuler[0] == '\0') {
    std::string str(7, ' ');
    for (int iColumn = 1; iColumn <= 132; iColumn++) {
      if (iColumn % 10 == 0) {
        char ac[8];
        std::snprintf(ac, sizeof ac, "%1.1i", iColumn / 10);
        str += ac;
      } else {
        str += iColumn % 5 == 0 ? '+' : '-';
      }
    }
    str += '\n';
    std::memcpy(acRuler, str.c_str(), str.size() + 1);
  }
  return acRuler;
}

int _mainCopySysinToSysprint(const char *pcPath)
{
  if (gboTorvelExist) omsgsTraceInIntern("_mainCopySysinToSysprint", 0);
  FILE *pfile = std::fopen(pcPath, "r");
  if (pfile == nullptr) {
    omsgsTrace("_mainCopySysinToSysprint: %s not listed\n", pcPath);
    if (gboTorvelExist) omsgsTraceOutIntern("_mainCopySysinToSysprint", MAIN_RC_NOLIST);
    return MAIN_RC_NOLIST;
  }
  const char *pcRuler = _mainListingRuler();
  omsgsPrint(pcRuler, static_cast<int>(std::strlen(pcRuler)));

  char acPiece[MAIN_LIST_BUFFER];
  int iPiece = 0;
  while (std::fgets(acPiece, sizeof acPiece, pfile) != nullptr) {
    char acNumber[16];
    std::snprintf(acNumber, sizeof acNumber, "%6.6i ", ++iPiece);
    std::string strLine = acNumber;
    strLine += acPiece;
    if (strLine.back() != '\n') strLine += '\n';
    omsgsPrint(strLine.c_str(), static_cast<int>(strLine.size()));
  }
  omsgsPrint("\n", 1);
  std::fclose(pfile);
  if (gboTorvelExist) omsgsTraceOutIntern("_mainCopySysinToSysprint", 0);
  return 0;
}

/* ------------------------------------------------------------------ the -t tree */

/* The SELECT task of the table request; NULL when memory runs out. */
static zortask *_mainBuildSelect(argsOptions *pargs)
{
  zortask *ptask = zortaskCreateNamed(gapnameTotalToken[TOKEN_SELECT]);
  if (ptask == nullptr) return nullptr;

  const char *pcQualifier = argsGetQualifier(pargs);
  std::string strSql = "SELECT * FROM ";
  if (pcQualifier != nullptr) strSql += _mainSqlName(pcQualifier, pargs->boQualifierDelimited) + ".";
  strSql += _mainSqlName(pargs->acTable, pargs->boTableDelimited);

  int iRc = _mainAddText(ptask, TOKEN_TBNAME, pargs->acTable, gccsidMixed);
  if (iRc == 0 && pcQualifier != nullptr) iRc = _mainAddText(ptask, TOKEN_TBQUALIFIER, pcQualifier, gccsidMixed);
  if (iRc == 0) iRc = _mainAddText(ptask, TOKEN_SELECTSQL, strSql, gccsidMixed);
  if (iRc == 0) {
    ochaine *pchaine = ochaineCreate(static_cast<int>(sizeof(zorcol)), nullptr, zorcolDestroyChaineItem);
    zoratom *patom = nullptr;
    if (pchaine != nullptr) {
      pchaine->pData = MAIN_SELECT_STAR;
      patom = zoratomCreate(gapnameTotalToken[TOKEN_SELECT], ZORATOM_OCHAINE, 0,
                            reinterpret_cast<uintptr_t>(pchaine), nullptr, nullptr);
    }
    if (patom == nullptr) {
      ochaineDestroy(pchaine);
      iRc = ORC_NOMEM;
    } else {
      iRc = zortaskAddAtom(ptask, patom);
      if (iRc != 0) zoratomDestroy(patom);
    }
  }
  omsgsTrace("_mainBuildTaskGlobal: %s (0x%x)\n", strSql.c_str(), iRc);
  if (iRc != 0) {
    zortaskDestroy(ptask);
    return nullptr;
  }
  return ptask;
}

zortask *_mainBuildTaskGlobal(argsOptions *pargs)
{
  if (gboTorvelExist) omsgsTraceInIntern("_mainBuildTaskGlobal", 0);
  zortask *ptaskGlobal = nullptr;
  zortask *ptaskSelect = _mainBuildSelect(pargs);
  zortask *ptaskUnload = ptaskSelect != nullptr ? zortaskCreateNamed(nullptr) : nullptr;
  if (ptaskUnload == nullptr || zortaskAddSubTask(ptaskUnload, ptaskSelect) != 0) {
    zortaskDestroy(ptaskUnload);
    zortaskDestroy(ptaskSelect);
    ptaskUnload = nullptr;
  }
  /* from here the UNLOAD block owns the SELECT */
  if (ptaskUnload != nullptr) {
    ptaskGlobal = zortaskCreateNamed(gapnameTotalToken[TOKEN_GLOBAL]);
    zoratom *patom = zoratomCreate(gapnameTotalToken[TOKEN_TASKTYPE], ZORATOM_INTEGER, ZORATOM_BORROWED,
                                   MAIN_TASKTYPE_GLOBAL, nullptr, nullptr);
    int iRc = ptaskGlobal != nullptr && patom != nullptr ? 0 : ORC_NOMEM;
    if (iRc == 0) iRc = zortaskAddAtom(ptaskGlobal, patom);
    if (iRc != 0) zoratomDestroy(patom);
    if (iRc == 0) iRc = zortaskAddSubTask(ptaskGlobal, ptaskUnload);
    if (iRc != 0) {
      zortaskDestroy(ptaskGlobal);
      zortaskDestroy(ptaskUnload);
      ptaskGlobal = nullptr;
    }
  }
  if (gboTorvelExist) omsgsTraceOutIntern("_mainBuildTaskGlobal", ptaskGlobal != nullptr ? 0 : ORC_NOMEM);
  return ptaskGlobal;
}

/* ------------------------------------------------------------------ authorisation */

/* Every UNLOAD block's database, as the -u user: connected and SYSADM or DBADM. */
static int _mainControlAuthUser(zortask *ptaskGlobal, const char *pcUser)
{
  const char *pcPassword = _mainAtomText(ptaskGlobal, TOKEN_PASS);
  if (ptaskGlobal->pchaineSubTasks == nullptr) return 0;
  for (auto *ptask = static_cast<zortask *>(ptaskGlobal->pchaineSubTasks->pitemTop); ptask != nullptr;
       ptask = ptask->ptaskNext) {
    const char *pcDatabase = _mainAtomText(ptask, TOKEN_DBNAME);
    int iRc = db2utilReconnect(pcDatabase, pcUser, pcPassword, &ghenv, &ghdbc);
    omsgsTrace("db2utilReconnect = 0x%x\n", iRc);
    if (iRc != 0) return iRc;
    if (db2utilGetAuthorizations(pcDatabase, pcUser, pcPassword) != 0) {
      omsgsFMTEDO(ZORU329E, pcUser);
      return MAIN_RC_NOTAUTH;
    }
  }
  return 0;
}

/* Without -u: the effective group must be the instance user's primary group. */
static int _mainControlAuthGroup(zortask *ptaskGlobal)
{
  const char *pcInstanceUser = _mainAtomText(ptaskGlobal, TOKEN_INSTANCE_USER);
  std::string strInstanceUser = pcInstanceUser != nullptr ? pcInstanceUser : "";
  struct passwd *ppw = getpwnam(strInstanceUser.c_str());
  bool boGroup = ppw != nullptr && ppw->pw_gid == getegid();
  omsgsTrace("_mainControlAuth: instance user %s, group %d, effective group %d\n", strInstanceUser.c_str(),
             ppw != nullptr ? static_cast<int>(ppw->pw_gid) : -1, static_cast<int>(getegid()));
  if (boGroup) return 0;
  struct passwd *ppwEffective = getpwuid(geteuid());
  std::string strEffective = ppwEffective != nullptr ? ppwEffective->pw_name : std::to_string(geteuid());
  omsgsFMTEDO(ZORU330E, strEffective.c_str(), strInstanceUser.c_str());
  return MAIN_RC_NOTAUTH;
}

int _mainControlAuth(zortask *ptaskGlobal)
{
  if (gboTorvelExist) omsgsTraceInIntern("_mainControlAuth", 0);
  int iRc = 0;
  if (ptaskGlobal->pchaineSubTasks != nullptr && ptaskGlobal->pchaineSubTasks->pitemTop != nullptr) {
    const char *pcUser = _mainAtomText(ptaskGlobal, TOKEN_USERNAME);
    iRc = pcUser != nullptr ? _mainControlAuthUser(ptaskGlobal, pcUser) : _mainControlAuthGroup(ptaskGlobal);
  }
  if (gboTorvelExist) omsgsTraceOutIntern("_mainControlAuth", iRc);
  return iRc;
}

/* ------------------------------------------------------------------ local execution */

int _mainExecuteLocal(argsOptions *pargs, zorcontrol *pcontrol)
{
  if (gboTorvelExist) omsgsTraceInIntern("_mainExecuteLocal", 0);
  int iRc = _mainControlAuth(pcontrol->ptaskGlobal);
  if (iRc == 0) {
    statsTimeTrace("Before control step");
    int iRcControl = zorcontrolControl(pcontrol);
    statsTimeTrace("After control step");
    omsgsTrace("zorcontrolControl = 0x%x\n", iRcControl);

    /* no DB2 connection may cross the forks of the run step */
    db2utilDisconnect(&ghenv, &ghdbc);
    if (_mainDumpOn()) zortaskTraceMsgsService(pcontrol->ptaskGlobal, "$IMAIN");

    /* a control step that issued an error message did not check the request whole */
    iRc = iRcControl != 0 ? iRcControl : omsgssevEndCode();
    if (iRc == 0 && pargs->boNoexecute) {
      omsgsFMTEDO(ZORU426I);
    } else if (iRc == 0) {
      statsTimeTrace("Before run step");
      iRc = zorurunRun(pcontrol);
      statsTimeTrace("After run step");
    }
  } else {
    /* a refused user leaves no connection behind */
    db2utilDisconnect(&ghenv, &ghdbc);
  }
  if (gboTorvelExist) omsgsTraceOutIntern("_mainExecuteLocal", iRc);
  return iRc;
}

/* ------------------------------------------------------------------ another host */

int _mainExecuteRemote(argsOptions *pargs, ostream *pstream)
{
  if (gboTorvelExist) omsgsTraceInIntern("_mainExecuteRemote", 0);
  int iRc = 0;
  std::string strText;
  for (int iByte = ostreamGetc(pstream); iByte != OSTREAM_EOF; iByte = ostreamGetc(pstream))
    strText += static_cast<char>(iByte);

  const char *pcHost = pargs->pcharHost != nullptr ? _charText(pargs->pcharHost) : "";
  char *pcError = nullptr;
  int iTest = iSOCKETtestDaemon(pcHost, &pcError);
  /* a signal asking the program to stop cuts a conversation short: that is
     the end of the request (ZORU495E), not the other host's refusal */
  if (iTest != 0 && osignalCaught() != 0) {
    iRc = osignalReason();
  } else if (iTest == -1) {
    omsgsTrace("_mainExecuteRemote: no daemon on %s (%s)\n", pcHost, pcError != nullptr ? pcError : "");
    omsgsFMTEDO(ZORU358W, pcHost);
    iRc = MAIN_RC_NODAEMON;
  } else if (iTest != 0) {
    omsgsFMTEDO(ZORU450E, pcHost, pcError != nullptr ? pcError : "");
    iRc = MAIN_RC_REFUSED;
  } else {
    int iSocket = iSOCKETsaveFile(pcHost, strText.c_str(), &pcError);
    if (iSocket < 0 && osignalCaught() != 0) {
      iRc = osignalReason();
    } else if (iSocket < 0) {
      omsgsTrace("_mainExecuteRemote: control file not saved on %s (%s)\n", pcHost,
                 pcError != nullptr ? pcError : "");
      omsgsFMTEDO(ZORU450E, pcHost, pcError != nullptr ? pcError : "");
      iRc = MAIN_RC_NOSAVE;
    } else {
      std::string strArgs;
      if (pargs->pcharRemoteArgs != nullptr)
        strArgs.assign(_charText(pargs->pcharRemoteArgs), static_cast<size_t>(pargs->pcharRemoteArgs->ilBU));
      int iRcRun = iSOCKETexecCmdLocal(iSocket, strArgs.c_str(), &pcError);
      omsgsTrace("_mainExecuteRemote: run on %s: %d (%s)\n", pcHost, iRcRun, pcError != nullptr ? pcError : "");
      if (iRcRun < 0 && osignalCaught() != 0) {
        iRc = osignalReason();
      } else if (iRcRun < 0) {
        omsgsFMTEDO(ZORU450E, pcHost, pcError != nullptr ? pcError : "");
        iRc = MAIN_RC_REFUSED;
      } else {
        giMainRemoteStatus = iRcRun;
      }
    }
  }
  if (gboTorvelExist) omsgsTraceOutIntern("_mainExecuteRemote", iRc);
  return iRc;
}

/* ------------------------------------------------------------------ the requests */

int _mainFileRequest(argsOptions *pargs)
{
  if (gboTorvelExist) omsgsTraceInIntern("_mainFileRequest", 0);
  int iRc = 0;
  bool boStdin = std::strcmp(pargs->acFile, "stdin") == 0;
  int iErrno = 0;
  if (boStdin) {
    errno = 0;
    gpstreamMain = ostreamCreateFromFile(stdin);
    iErrno = errno;
  } else {
    if (!pargs->boLocal && !pargs->boRemote) _mainCopySysinToSysprint(pargs->acFile);
    errno = 0;
    gpstreamMain = ostreamCreateFromFileName(pargs->acFile);
    iErrno = errno;
  }

  if (gpstreamMain == nullptr) {
    /* the built-in text names neither the file nor the reason: the next line does */
    omsgsFMTEDO(ZORU001E);
    omsgsFMTEDO(ZORU002I, boStdin ? "(standard input)" : pargs->acFile,
                iErrno != 0 ? std::strerror(iErrno) : "larger than 2 GB");
    iRc = MAIN_RC_NOSYSIN;
  } else if (pargs->boRemote) {
    iRc = _mainExecuteRemote(pargs, gpstreamMain);
  } else {
    iRc = oyaccInitItemized(&gyaccMain, aplexContextDefUdb, gpstreamMain, gwcLitteral, gwcQualified, gwcDecimal,
                            gccsidSBCS, gccsidMixed, gccsidDBCS, 1);
    omsgsTrace("main:oyaccInitItemized = 0x%x\n", iRc);
    if (iRc == 0) {
      int iRcParse = zor3yyparse(&gyaccMain);
      omsgsTrace("main:zor3yyparse = %d, error level %d\n", iRcParse, static_cast<int>(gyaccMain.iErrorLevel));
      if (iRcParse != 0 || gyaccMain.iErrorLevel != 0) {
        /* not run, even when the parser recovered and went on */
        omsgsFMTEDO(ZORU333E);
        iRc = MAIN_RC_SYNTAX;
      } else if (gyaccMain.ptaskResult != nullptr) {
        _mainDumpTasks(pargs->ptaskParmlib, gyaccMain.ptaskResult);
        gpcontrolMain = zorcontrolCreate(gyaccMain.ptaskResult, pargs->ptaskParmlib);
        if (gpcontrolMain == nullptr) {
          iRc = ORC_NOMEM;
        } else {
          iRc = zorcontrolUdbExpandDatabase(gpcontrolMain, gyaccMain.ptaskResult);
          if (iRc == 0)
            iRc = _mainExecuteLocal(pargs, gpcontrolMain);
          else
            db2utilDisconnect(&ghenv, &ghdbc);   /* the catalogue's connection of the expansion */
        }
      }
    }
  }
  if (gboTorvelExist) omsgsTraceOutIntern("_mainFileRequest", iRc);
  return iRc;
}

/* The request of -t. */
static int _mainTableRequest(argsOptions *pargs)
{
  if (gboTorvelExist) omsgsTraceInIntern("main:ZAVTableOption", 0);
  int iRc = ORC_NOMEM;
  zortask *ptaskGlobal = _mainBuildTaskGlobal(pargs);
  if (ptaskGlobal != nullptr) {
    _mainDumpTasks(pargs->ptaskParmlib, ptaskGlobal);
    gpcontrolMain = zorcontrolCreate(ptaskGlobal, pargs->ptaskParmlib);
    if (gpcontrolMain == nullptr)
      zortaskDestroy(ptaskGlobal);
    else
      iRc = _mainExecuteLocal(pargs, gpcontrolMain);
  }
  if (gboTorvelExist) omsgsTraceOutIntern("main:ZAVTableOption", iRc);
  return iRc;
}

int _mainDispatch(argsOptions *pargs)
{
  if (gboTorvelExist) omsgsTraceInIntern("_mainDispatch", 0);
  int iRc = 0;
  if (pargs->boFile) {
    omsgsTrace("main:ZAVFileOption\n");
    iRc = _mainFileRequest(pargs);
  } else if (pargs->boTable) {
    omsgsTrace("main:ZAVTableOption\n");
    iRc = _mainTableRequest(pargs);
  }
  if (gboTorvelExist) omsgsTraceOutIntern("_mainDispatch", iRc);
  return iRc;
}
