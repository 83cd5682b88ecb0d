/*
** zorurun.cpp
**   The run step of the main process (see zorurun.h): run context, child
**   table and reaping, the select status stream, the SELECT and remote-run
**   launches, the remote-run child, and the preparation of a direct-read
**   SELECT in the main process (work items, table descriptions, row
**   converter, WHERE variables).  Traces go to the "$URUN" keyword.
**
**   The child table grows when a remote-run child is launched while it is
**   full, so that every child running is listed and reaped with its count.
*/
#include "run/zorurun.h"

#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/time.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <cstddef>
#include <map>
#include <set>
#include <string>

#include "common/ochaine.h"
#include "common/ochar.h"
#include "common/olist.h"
#include "common/omsgs.h"
#include "common/omsgssev.h"
#include "common/oreason.h"
#include "common/osignal.h"
#include "common/ovf.h"
#include "io/db2util.h"
#include "io/socket.h"
#include "model/stats.h"
#include "model/token.h"
#include "model/tools.h"
#include "model/zoratom.h"
#include "model/zormsgs.h"
#include "model/zortask.h"
#include "model/osysibm.h"
#include "common/obf.h"
#include "model/part.h"
#include "expr/zorcol.h"
#include "expr/zornode.h"
#include "expr/zornodeeval.h"
#include "model/oconvert.h"
#include "model/orow.h"
#include "run/zor3unload.h"
#include "run/zorucore.h"
#include "run/zorucoreexpr.h"
#include "run/zorurundb2.h"
#include "run/zorurunsel.h"
#include "storage/ficcont.h"
#include "storage/ficdata.h"
#include "storage/zorbk.h"
#include "storage/zordat.h"
#include "storage/zorts.h"

#define OMSGS_TRACE_KEYWORD "$URUN"
#define OMSGS_DEBUG_KEYWORD nullptr
#include "common/omsgsmod.h"

/* SELECT task flags of the dispatch. */
#define ZORURUN_DISPATCH_MASK 0xD   /* 0: direct read */
#define ZORURUN_DB2_MASK      0xC   /* through DB2 */

static zorurunSelectChildProc gprocSelectChild = nullptr;
static zorurunRemoteChildProc gprocRemoteChild = nullptr;

void zorurunSetSelectChildProc(zorurunSelectChildProc proc)
{
  gprocSelectChild = proc;
}

void zorurunSetRemoteChildProc(zorurunRemoteChildProc proc)
{
  gprocRemoteChild = proc;
}

/* ------------------------------------------------------------------ atoms */

static zoratom *_zorurunAtom(zortask *ptask, int iToken)
{
  return ptask != nullptr ? zortaskDetermineAtom(ptask, gapnameTotalToken[iToken]) : nullptr;
}

static int32_t _zorurunInt(zortask *ptask, int iToken, int32_t ilDefault)
{
  zoratom *patom = _zorurunAtom(ptask, iToken);
  return patom != nullptr ? patom->value.iValue : ilDefault;
}

static ochar *_zorurunString(zortask *ptask, int iToken)
{
  zoratom *patom = _zorurunAtom(ptask, iToken);
  return patom != nullptr ? patom->value.pchar : nullptr;
}

/* The text of a string object as a std::string (its length, not a NUL). */
static std::string _zorurunText(const ochar *pchar)
{
  if (pchar == nullptr || pchar->pcData == nullptr) return std::string();
  const char *pc = pchar->pcData + ((pchar->usFlags & OCHAR_VARCHAR) ? 2 : 0);
  return std::string(pc, static_cast<size_t>(pchar->ilBU));
}

/* ------------------------------------------------------------------ context */

zorurun *_zorurunCreate(zorcontrol *pcontrol, int32_t iCapacity, int32_t iPartCount, uint32_t ulLocal,
                        ochar *pcharSysin, ochar *pcharArgs, int32_t iKillSiblings, const db2utilNode *pnodes)
{
  if (iCapacity <= 0) {
    iCapacity = _zorurunInt(pcontrol != nullptr ? pcontrol->ptaskGlobal : nullptr, TOKEN_MAXTASK, 1);
    /* MAXTASK 0 would never let a SELECT start */
    if (iCapacity <= 0) iCapacity = 1;
  }
  zorurun *prun = static_cast<zorurun *>(std::calloc(1, sizeof(zorurun)));
  if (prun == nullptr) return nullptr;
  prun->plistReaders = olistCreate(0, nullptr, nullptr);
  prun->plistWriters = olistCreate(0, nullptr, nullptr);
  prun->plistPairs = olistCreate(0, nullptr, nullptr);
  prun->pcontrol = pcontrol;
  prun->ulLocal = ulLocal;
  prun->pcharSysin = pcharSysin;
  prun->pcharArgs = pcharArgs;
  prun->iKillSiblings = iKillSiblings;
  prun->iFirstAbnormal = 1;
  prun->iCapacity = iCapacity;
  prun->ailTaskCount = static_cast<int32_t *>(std::calloc(static_cast<size_t>(iCapacity), sizeof(int32_t)));
  prun->ailPid = static_cast<int32_t *>(std::calloc(static_cast<size_t>(iCapacity), sizeof(int32_t)));
  prun->ailCode = static_cast<int32_t *>(std::calloc(static_cast<size_t>(iCapacity), sizeof(int32_t)));
  prun->aiResultPipe[0] = prun->aiResultPipe[1] = -1;
  bool boOk = prun->plistReaders != nullptr && prun->plistWriters != nullptr && prun->plistPairs != nullptr &&
              prun->ailTaskCount != nullptr && prun->ailPid != nullptr && prun->ailCode != nullptr;
  if (boOk && pipe2(prun->aiResultPipe, O_NONBLOCK | O_CLOEXEC) != 0) {
    omsgsTrace("_zorurunCreate: result pipe: %s\n", std::strerror(errno));
    prun->aiResultPipe[0] = prun->aiResultPipe[1] = -1;
    boOk = false;
  }
  if (boOk && iPartCount > 0) {
    prun->iPartCount = iPartCount;
    char acHost[ZORURUN_HOST_SIZE] = {0};
    toolsGetHostName(acHost, sizeof(acHost));
    acHost[sizeof(acHost) - 1] = '\0';
    int32_t ilLen = static_cast<int32_t>(std::strlen(acHost));
    prun->pcharHost = ocharCreate(ilLen + 1, 850);
    prun->ailRemoteState = static_cast<int32_t *>(std::calloc(static_cast<size_t>(iPartCount), sizeof(int32_t)));
    prun->apcHost = static_cast<const char **>(std::calloc(static_cast<size_t>(iPartCount), sizeof(char *)));
    boOk = prun->pcharHost != nullptr && prun->ailRemoteState != nullptr && prun->apcHost != nullptr;
    if (boOk) {
      std::memcpy(prun->pcharHost->pcData, acHost, static_cast<size_t>(ilLen) + 1);
      prun->pcharHost->ilBU = ilLen;
      prun->pcharHost->ilL = ilLen;
      for (int32_t i = 0; i < iPartCount; i++) prun->apcHost[i] = pnodes != nullptr ? pnodes[i].acHost : "";
    }
  }
  if (!boOk) {
    _zorurunDestroy(prun);
    return nullptr;
  }
  return prun;
}

void _zorurunDestroy(zorurun *prun)
{
  if (prun == nullptr) return;
  if (prun->plistReaders != nullptr) olistDestroy(prun->plistReaders);
  if (prun->plistWriters != nullptr) olistDestroy(prun->plistWriters);
  if (prun->plistPairs != nullptr) olistDestroy(prun->plistPairs);
  std::free(prun->ailTaskCount);
  std::free(prun->ailPid);
  std::free(prun->ailCode);
  for (int iFd : prun->aiResultPipe)
    if (iFd >= 0) close(iFd);
  if (prun->pcharHost != nullptr) ocharDestroy(prun->pcharHost);
  std::free(prun->ailRemoteState);
  std::free(prun->apcHost);
  std::free(prun);
}

int _zorurunAddChild(zorurun *prun, pid_t pid, int32_t ilTaskCount)
{
  if (prun->iDirectRunning >= prun->iCapacity) {
    int32_t iNew = prun->iCapacity * 2 + 1;
    int32_t *ailCount = static_cast<int32_t *>(std::realloc(prun->ailTaskCount, sizeof(int32_t) * iNew));
    if (ailCount == nullptr) return ORC_NOMEM;
    prun->ailTaskCount = ailCount;
    int32_t *ailPid = static_cast<int32_t *>(std::realloc(prun->ailPid, sizeof(int32_t) * iNew));
    if (ailPid == nullptr) return ORC_NOMEM;
    prun->ailPid = ailPid;
    int32_t *ailCode = static_cast<int32_t *>(std::realloc(prun->ailCode, sizeof(int32_t) * iNew));
    if (ailCode == nullptr) return ORC_NOMEM;
    prun->ailCode = ailCode;
    prun->iCapacity = iNew;
  }
  prun->ailCode[prun->iDirectRunning] = ZORURUN_NO_CODE;
  prun->ailPid[prun->iDirectRunning] = static_cast<int32_t>(pid);
  prun->ailTaskCount[prun->iDirectRunning] = ilTaskCount;
  prun->iDirectRunning++;
  prun->ilTasksLaunched += ilTaskCount;
  prun->ilTasksRunning += ilTaskCount;
  return 0;
}

/* ------------------------------------------------------------------ reaping */

/* Bytes of one record of the result pipe: pid, code (native 32-bit). */
#define ZORURUN_RESULT_RECORD 8

void _zorurunExitChild(const zorurun *prunParent, int iRc)
{
  std::fflush(nullptr);
  if (iRc != 0 && prunParent != nullptr && prunParent->aiResultPipe[1] >= 0) {
    int32_t ail[2] = {static_cast<int32_t>(getpid()), static_cast<int32_t>(iRc)};
    /* one write below PIPE_BUF is atomic; a full pipe loses the record only */
    ssize_t l;
    do {
      l = write(prunParent->aiResultPipe[1], ail, ZORURUN_RESULT_RECORD);
    } while (l < 0 && errno == EINTR);
  }
  _exit(oreasonExitStatus(iRc));
}

/* Moves the records waiting in the result pipe to the child table. */
static void _zorurunReadResults(zorurun *prun)
{
  if (prun->aiResultPipe[0] < 0) return;
  for (;;) {
    int32_t ail[2];
    ssize_t l = read(prun->aiResultPipe[0], ail, ZORURUN_RESULT_RECORD);
    if (l < 0 && errno == EINTR) continue;
    if (l != ZORURUN_RESULT_RECORD) break;
    bool boFound = false;
    for (int32_t i = 0; i < prun->iDirectRunning && !boFound; i++) {
      if (prun->ailPid[i] != ail[0]) continue;
      prun->ailCode[i] = ail[1];
      boFound = true;
    }
    if (!boFound) omsgsTrace("_zorurunReadResults: code 0x%x of unknown child %d\n", ail[1], ail[0]);
  }
}

/* The warning a run ends with whose exit status iStatus is, else 0. */
static int _zorurunWarningOfStatus(int iStatus)
{
  for (int iWarning : {ZORURUN_RC_ROWSLOST, ZORURUN_RC_LOBCUT, ZORURUN_RC_DAMAGED, ZORURUN_RC_REPLACED})
    if (iStatus != 0 && oreasonExitStatus(iWarning) == iStatus) return iWarning;
  return 0;
}

int _zorurunWaitTasks(zorurun *prun)
{
  int iStatus = 0;
  pid_t pid;
  do {
    pid = wait(&iStatus);
  } while (pid < 0 && errno == EINTR);
  if (pid < 0) {
    /* nothing left to reap: forget what the table still lists */
    omsgsTrace("_zorurunWaitTasks: wait: %s\n", std::strerror(errno));
    prun->iDirectRunning = 0;
    prun->ilTasksRunning = 0;
    return 0;
  }
  /* the message centre is the main process's child too, but no unload task */
  if (omsgsCentreEnded(static_cast<int>(pid), iStatus)) return 0;
  osignalForget(pid);
  int iRc = 0;
  if (WIFEXITED(iStatus)) {
    iRc = WEXITSTATUS(iStatus);
    _zorurunReadResults(prun);
    /* a warning's exit status means that warning only: it stays a warning
       when its record was lost */
    int iWarning = _zorurunWarningOfStatus(iRc);
    if (iWarning != 0) iRc = iWarning;
    for (int32_t i = 0; i < prun->iDirectRunning; i++) {
      if (prun->ailPid[i] != static_cast<int32_t>(pid)) continue;
      if (iRc != 0 && prun->ailCode[i] != ZORURUN_NO_CODE) iRc = prun->ailCode[i];
      else if (iRc != 0 && iWarning == 0) iRc = ZORURUN_RC_CHILD | iRc;
      break;
    }
  } else if (osignalCaught() != 0) {
    /* ended by the signal that stops the run, sent on to it: said once, by the main process */
    iRc = osignalReason();
  } else if (prun->iFirstAbnormal == 1) {
    prun->iFirstAbnormal = 0;
    iRc = ZORURUN_RC_SIGNAL;
    int iSignal = iStatus & 0x7F;
    if (iSignal != 0 && iSignal != 0x7F) omsgsFMTEDO(ZORU368E, iSignal);
    if (prun->iKillSiblings == 1) {
      for (int32_t i = 0; i < prun->iDirectRunning; i++)
        if (prun->ailPid[i] != static_cast<int32_t>(pid) && prun->ailPid[i] > 0) kill(prun->ailPid[i], SIGTERM);
    }
  }
  omsgsTrace("_zorurunWaitTasks: pid %d status 0x%x rc 0x%x\n", static_cast<int>(pid), iStatus, iRc);
  for (int32_t i = 0; i < prun->iDirectRunning; i++) {
    if (prun->ailPid[i] != static_cast<int32_t>(pid)) continue;
    prun->ilTasksEnded += prun->ailTaskCount[i];
    prun->ilTasksRunning -= prun->ailTaskCount[i];
    for (int32_t j = i + 1; j < prun->iDirectRunning; j++) {
      prun->ailPid[j - 1] = prun->ailPid[j];
      prun->ailTaskCount[j - 1] = prun->ailTaskCount[j];
      prun->ailCode[j - 1] = prun->ailCode[j];
    }
    prun->iDirectRunning--;
    break;
  }
  return iRc;
}

/* ------------------------------------------------------------------ status stream */

int _zorurunMarkRemote(zorurun *prun, int32_t iIndex)
{
  if (prun == nullptr || iIndex < 0 || iIndex >= prun->iPartCount || prun->ailRemoteState == nullptr) return 0;
  if (prun->ailRemoteState[iIndex] != ZORURUN_REMOTE_NONE) return 0;
  int32_t ilState = ZORURUN_REMOTE_LAUNCH;
  const char *pcHost = prun->apcHost[iIndex] != nullptr ? prun->apcHost[iIndex] : "";
  for (int32_t i = 0; i < prun->iPartCount; i++) {
    if (i == iIndex) continue;
    int32_t ilOther = prun->ailRemoteState[i];
    if ((ilOther == ZORURUN_REMOTE_LAUNCH || ilOther == ZORURUN_REMOTE_DONE) && prun->apcHost[i] != nullptr &&
        std::strcmp(prun->apcHost[i], pcHost) == 0) {
      ilState = ZORURUN_REMOTE_TAKEN;
      break;
    }
  }
  prun->ailRemoteState[iIndex] = ilState;
  return 1;
}

static int _zorurunWriteInt(ovf *povf, int32_t il)
{
  return ovfWrite(povf, &il, static_cast<int>(sizeof(il)));
}

int _zorurunWriteStatus(ovf *povf, int iWithTaskCount, int32_t ilTaskCount, int32_t ilRemoteCount,
                        const zorurun *prun)
{
  int iRc = 0;
  if (iWithTaskCount == 1) iRc = _zorurunWriteInt(povf, ilTaskCount);
  if (iRc == 0) iRc = _zorurunWriteInt(povf, ilRemoteCount);
  if (prun != nullptr && prun->ailRemoteState != nullptr) {
    for (int32_t i = 0; iRc == 0 && i < prun->iPartCount; i++) {
      int32_t ilState = prun->ailRemoteState[i];
      if (ilState != ZORURUN_REMOTE_LAUNCH && ilState != ZORURUN_REMOTE_TAKEN) continue;
      iRc = _zorurunWriteInt(povf, i);
      if (iRc == 0) iRc = _zorurunWriteInt(povf, ilState);
    }
  }
  int iRcEnd = ovfWrite(povf, nullptr, 0);
  return iRc != 0 ? iRc : iRcEnd;
}

/* Reads one integer record; false at the end record (or a short record). */
static bool _zorurunReadInt(ovf *povf, int32_t *pil)
{
  unsigned char auc[ZORURUN_STATUS_LEN];
  int iLen = 0;
  if (ovfRead(povf, auc, sizeof(auc), &iLen) != 0 || iLen == 0) return false;
  if (iLen != static_cast<int>(sizeof(int32_t))) {
    omsgsTrace("_zorurunReadStatus: record of %d bytes\n", iLen);
    *pil = 0;
    return true;
  }
  std::memcpy(pil, auc, sizeof(int32_t));
  return true;
}

/* Reads and drops every record up to the end record. */
static void _zorurunDrain(ovf *povf)
{
  unsigned char auc[ZORURUN_STATUS_LEN];
  int iLen = 1;
  while (ovfRead(povf, auc, sizeof(auc), &iLen) == 0 && iLen != 0) {
  }
}

int _zorurunReadStatus(zorurun *prun, ovf *povf, int iWithTaskCount, int32_t *pilTaskCount, int *piRemote)
{
  *pilTaskCount = 0;
  int32_t ilCount = 1;
  if (iWithTaskCount == 1 && !_zorurunReadInt(povf, &ilCount)) return 0;
  *pilTaskCount = ilCount;
  int32_t ilRemote = 0;
  if (!_zorurunReadInt(povf, &ilRemote)) return 0;
  if (ilRemote > 0) {
    *piRemote = 1;
    for (int32_t n = 0; n < ilRemote; n++) {
      int32_t ilIndex = 0, ilState = 0;
      if (!_zorurunReadInt(povf, &ilIndex) || !_zorurunReadInt(povf, &ilState)) {
        omsgsTrace("Early EOF found\n");
        return 0;
      }
      /* an index outside the node table is not trusted */
      if (prun->ailRemoteState != nullptr && ilIndex >= 0 && ilIndex < prun->iPartCount)
        prun->ailRemoteState[ilIndex] = ilState;
      else
        omsgsTrace("_zorurunReadStatus: index %d out of range\n", ilIndex);
    }
  }
  _zorurunDrain(povf);
  return 0;
}

/* ------------------------------------------------------------------ preparation */

/* Stored types of long fields and LOBs. */
#define ZORURUN_TYPE_LONGVARCHAR    260
#define ZORURUN_TYPE_LONGVARGRAPHIC 514
#define ZORURUN_TYPE_BLOB           264
#define ZORURUN_TYPE_CLOB           265
#define ZORURUN_TYPE_DBCLOB         515

/* The column of the description with that DB2 column number, or NULL. */
static ficdataColumnDesc *_zorurunDescColumn(ficdataTableDesc *pdesc, int32_t iDb2Number)
{
  if (pdesc == nullptr || pdesc->pcolumns == nullptr || iDb2Number < 0 || iDb2Number >= pdesc->sColumnCount)
    return nullptr;
  return &pdesc->pcolumns[iDb2Number];
}

static zortask *_zorurunFirstSub(zortask *ptask)
{
  return ptask->pchaineSubTasks != nullptr ? static_cast<zortask *>(ptask->pchaineSubTasks->pitemTop) : nullptr;
}

static int _zorurunBindToRecord(zortask *ptaskSelect, ficdataTableDesc *pdesc, zornode *pnode);

int _zorurunPrepareConvert(zorcontrol *pcontrol, zortask *ptaskSelect, void *pTableDesc)
{
  (void)pcontrol;
  auto *pdesc = static_cast<ficdataTableDesc *>(pTableDesc);
  int32_t iCount = ptaskSelect->pchaineSubTasks != nullptr ? ptaskSelect->pchaineSubTasks->iItemCount : 0;
  orow *prowSource = orowCreate(iCount);
  orow *prowTarget = orowCreate(iCount);
  if (prowSource == nullptr || prowTarget == nullptr) {
    orowDestroy(prowSource);
    orowDestroy(prowTarget);
    return ORC_NOMEM;
  }
  for (zortask *ptaskCol = _zorurunFirstSub(ptaskSelect); ptaskCol != nullptr; ptaskCol = ptaskCol->ptaskNext) {
    zoratom *patomSource = zortaskDetermineAtom(ptaskCol, gapnameTotalToken[TOKEN_SOURCECOL]);
    zoratom *patomTarget = zortaskDetermineAtom(ptaskCol, gapnameTotalToken[TOKEN_COL]);
    zoratom *patomCore = zortaskDetermineAtom(ptaskCol, gapnameTotalToken[TOKEN_COREDATA]);
    zorcol *pcolSource = patomSource != nullptr ? patomSource->value.pcol : nullptr;
    zorcol *pcolTarget = patomTarget != nullptr ? patomTarget->value.pcol : nullptr;
    rowColDef defSource{};
    rowColDef defTarget{};
    if (pcolSource != nullptr) {
      defSource.iType = pcolSource->iType;
      defSource.iLength = pcolSource->iSubType;
      defSource.usCCSID = static_cast<uint16_t>(pcolSource->sCCSID);
      defSource.sOffset = -1;
      defSource.sNullOffset = -1;
      if ((pcolSource->usFlags & (ZORCOL_OPRT | ZORCOL_CSTE)) && pcolSource->pnodeExpr != nullptr) {
        /* a computed column: its value, laid out by its converter, lies at offset 0 of a record of its own */
        int iRcExpr = _zorurunBindToRecord(ptaskSelect, pdesc, pcolSource->pnodeExpr);
        auto *pexpr = iRcExpr == 0 ? static_cast<zorucoreExpr *>(std::calloc(1, sizeof(zorucoreExpr))) : nullptr;
        if (pexpr == nullptr) {
          orowDestroy(prowSource);
          orowDestroy(prowTarget);
          return ORC_NOMEM;
        }
        pexpr->pnode = pcolSource->pnodeExpr;
        pexpr->iDepth = zornodeGetTreeDepth(pexpr->pnode, 0) + 1;
        pexpr->iStringMax = zornodeEvalStringRoom(pexpr->pnode);
        defSource.sOffset = 0;
        defSource.pExtra = pexpr;
      } else if (pcolSource->usFlags & ZORCOL_VAR) {
        ficdataColumnDesc *pdc = _zorurunDescColumn(pdesc, pcolSource->iDb2Number);
        if (pdc != nullptr) {
          defSource.sOffset = pdc->sOffset;
          defSource.sNullOffset = pdc->sNullOffset;
          pdc->sUsed = 1;
          if (pdc->sType == ZORURUN_TYPE_BLOB || pdc->sType == ZORURUN_TYPE_CLOB ||
              pdc->sType == ZORURUN_TYPE_DBCLOB)
            ptaskSelect->ulFlags |= ZORURUN_SELFLAG_LOB;
          if (pdc->sType == ZORURUN_TYPE_LONGVARCHAR || pdc->sType == ZORURUN_TYPE_LONGVARGRAPHIC)
            ptaskSelect->ulFlags |= ZORURUN_SELFLAG_LONG;
        } else {
          omsgsTrace("_zorurunPrepareConvert: column %d not in the table description\n", pcolSource->iDb2Number);
        }
      }
    }
    if (pcolTarget != nullptr) {
      defTarget.iType = pcolTarget->iType;
      defTarget.iLength = pcolTarget->iSubType;
      defTarget.usCCSID = static_cast<uint16_t>(pcolTarget->sCCSID);
    }
    defTarget.sOffset = -1;
    defTarget.sNullOffset = -1;
    defTarget.pExtra = patomCore != nullptr ? patomCore->value.pcoreData : nullptr;
    orowAddColumn(prowSource, &defSource);
    orowAddColumn(prowTarget, &defTarget);
  }
  oconvertInitModule();
  zorucoreInitModule();
  int iRc = 0;
  oconvert *pconvert = oconvertCreate(prowSource, prowTarget, OCONVERT_OWN_SOURCE | OCONVERT_OWN_TARGET, &iRc);
  if (pconvert == nullptr) {
    omsgsTrace("_zorurunPrepareConvert: oconvertCreate = 0x%x\n", iRc);
    zortaskTraceMsgsService(ptaskSelect, "$URUN");
    return ZORURUN_RC_CONVERTER;
  }
  for (int32_t i = 0; i < pconvert->prowSource->iCount; i++) {
    rowColDef *pdef = &pconvert->prowSource->pcoldef[i];
    if (pdef->pExtra == nullptr) continue;
    iRc = zorucoreExprBind(pconvert, i, static_cast<zorucoreExpr *>(pdef->pExtra));
    if (iRc != 0) {
      oconvertDestroy(pconvert);
      return iRc;
    }
  }
  zoratom *patom = zoratomCreate(gapnameTotalToken[TOKEN_CONVERTER], ZORATOM_CONVERTER, 0,
                                 reinterpret_cast<uintptr_t>(pconvert), nullptr, nullptr);
  if (patom == nullptr) {
    oconvertDestroy(pconvert);
    return ORC_NOMEM;
  }
  iRc = zortaskAddAtom(ptaskSelect, patom);
  if (iRc != 0) zoratomDestroy(patom);
  return iRc;
}

/* The digits of a text, in order. */
static std::string _zorurunDigits(const std::string &str)
{
  std::string strDigits;
  for (char c : str)
    if (c >= '0' && c <= '9') strDigits += c;
  return strDigits;
}

/* The value of an SQL character constant (apostrophes removed, doubled ones made single). */
static std::string _zorurunUnquote(const std::string &str)
{
  if (str.size() < 2 || str.front() != '\'' || str.back() != '\'') return str;
  std::string strValue;
  for (size_t i = 1; i + 1 < str.size(); i++) {
    strValue += str[i];
    if (str[i] == '\'' && i + 2 < str.size() && str[i + 1] == '\'') i++;
  }
  return strValue;
}

/*
** The stored bytes of a column's default, from the catalogue text (none:
** DB2's default of the type, 0 or blanks or empty), for the control type
** of its WHERE node; false for a type or text this cannot store (the column
** then keeps no default).  *pboVarying: the bytes are varying-length data.
*/
static bool _zorurunStoredDefault(uint16_t usCtrlType, const rowColDef *pdef, uint16_t usNodeLength,
                                  const ochar *pcharDefault, std::string *pstrBytes, bool *pboVarying)
{
  std::string strText = _zorurunText(pcharDefault);
  while (!strText.empty() && strText.back() == ' ') strText.pop_back();
  bool boNone = strText.empty();
  *pboVarying = false;
  auto le = [&](uint64_t ull, int iBytes) {
    for (int i = 0; i < iBytes; i++) *pstrBytes += static_cast<char>((ull >> (8 * i)) & 0xFF);
  };
  switch (usCtrlType) {
    case NODE_T_VINT:
    case NODE_T_VSMI:
    case NODE_T_VBIG: {
      char *pcEnd = nullptr;
      long long ll = boNone ? 0 : std::strtoll(strText.c_str(), &pcEnd, 10);
      if (!boNone && (pcEnd == nullptr || *pcEnd != '\0')) return false;
      le(static_cast<uint64_t>(ll), usCtrlType == NODE_T_VBIG ? 8 : (pdef->iLength == 4 ? 4 : 2));
      return true;
    }
    case NODE_T_VFLT: {
      char *pcEnd = nullptr;
      double d = boNone ? 0.0 : std::strtod(strText.c_str(), &pcEnd);
      if (!boNone && (pcEnd == nullptr || *pcEnd != '\0')) return false;
      if (pdef->iLength == 4) {
        float f = static_cast<float>(d);
        uint32_t ul;
        std::memcpy(&ul, &f, sizeof ul);
        le(ul, 4);
      } else {
        uint64_t ull;
        std::memcpy(&ull, &d, sizeof ull);
        le(ull, 8);
      }
      return true;
    }
    case NODE_T_VDEC: {
      int iPrecision = usNodeLength >> 8, iScale = usNodeLength & 0xFF;
      bool boNegative = !boNone && strText[0] == '-';
      std::string strInt, strFrac;
      size_t ulDot = strText.find('.');
      for (size_t i = 0; i < strText.size(); i++) {
        char c = strText[i];
        if (c == '-' || c == '+' || c == '.') continue;
        if (c < '0' || c > '9') return false;
        (ulDot != std::string::npos && i > ulDot ? strFrac : strInt) += c;
      }
      if (static_cast<int>(strFrac.size()) > iScale) return false;
      strFrac.append(static_cast<size_t>(iScale) - strFrac.size(), '0');
      std::string strDigits = strInt + strFrac;
      int iDigits = (iPrecision / 2) * 2 + 1;   /* digits of the packed bytes */
      while (static_cast<int>(strDigits.size()) > iDigits && strDigits[0] == '0') strDigits.erase(0, 1);
      if (static_cast<int>(strDigits.size()) > iDigits) return false;
      strDigits.insert(0, static_cast<size_t>(iDigits) - strDigits.size(), '0');
      strDigits += boNegative ? static_cast<char>(0xD) : static_cast<char>(0xC);
      for (size_t i = 0; i < strDigits.size(); i += 2) {
        int iHigh = strDigits[i] & 0xF, iLow = strDigits[i + 1] <= 0xF ? strDigits[i + 1] : strDigits[i + 1] - '0';
        *pstrBytes += static_cast<char>(iHigh << 4 | iLow);
      }
      return true;
    }
    case NODE_T_VCHR: {
      std::string strValue = _zorurunUnquote(strText);
      if (pdef->iLength <= 0 || static_cast<int32_t>(strValue.size()) > pdef->iLength) return false;
      strValue.resize(static_cast<size_t>(pdef->iLength), ' ');
      *pstrBytes = strValue;
      return true;
    }
    case NODE_T_VVCH:
      *pstrBytes = _zorurunUnquote(strText);
      *pboVarying = true;
      return true;
    case NODE_T_VDTE:
    case NODE_T_VTME:
    case NODE_T_VTST: {
      if (boNone) return false;
      std::string strDigits = _zorurunDigits(_zorurunUnquote(strText));
      size_t ulWant = usCtrlType == NODE_T_VDTE ? 8 : (usCtrlType == NODE_T_VTME ? 6 : 20);
      if (strDigits.size() != ulWant) return false;
      for (size_t i = 0; i < strDigits.size(); i += 2)
        *pstrBytes += static_cast<char>((strDigits[i] - '0') << 4 | (strDigits[i + 1] - '0'));
      return true;
    }
    default:
      return false;
  }
}

/*
** Binds to every column node of the tree whose column is NOT NULL the
** column's default, for the records written before the column was added.
*/
static void _zorurunBindDefaults(zornode *pnode, const std::map<const rowColDef *, const zorcol *> &mapCols)
{
  if (pnode == nullptr) return;
  if (pnode->sKind == ZORNODE_OPRT) {
    if (!(pnode->usStatus & NODE_LEFT_NOT)) _zorurunBindDefaults(static_cast<zornode *>(pnode->pLeft), mapCols);
    if (!(pnode->usStatus & NODE_RIGHT_NOT)) _zorurunBindDefaults(static_cast<zornode *>(pnode->pRight), mapCols);
    return;
  }
  if (pnode->sKind != ZORNODE_VAR || !(pnode->usStatus & NODE_SUBS) || pnode->pLeft == nullptr) return;
  auto *pdef = static_cast<rowColDef *>(pnode->pLeft);
  auto it = mapCols.find(pdef);
  if (it == mapCols.end() || pdef->pExtra != nullptr || pdef->sOffset < 0) return;
  const zorcol *pcol = it->second;
  if (pcol->usFlags & ZORCOL_NULL) return;
  std::string strBytes;
  bool boVarying = false;
  if (!_zorurunStoredDefault(pnode->usCtrlType, pdef, pnode->usLength, pcol->pcharDefault, &strBytes, &boVarying))
    return;
  /* the row: the value (or its descriptor) at the column's offset, the data after it */
  std::string strRow(static_cast<size_t>(pdef->sOffset), '\0');
  if (boVarying) {
    size_t ulData = strRow.size() + 4 + 1;
    uint16_t usUnits = static_cast<uint16_t>(strBytes.size());
    strRow += static_cast<char>(ulData & 0xFF);
    strRow += static_cast<char>(ulData >> 8);
    strRow += static_cast<char>(usUnits & 0xFF);
    strRow += static_cast<char>(usUnits >> 8);
    strRow += '\0';   /* null byte room */
    strRow += strBytes;
  } else {
    strRow += strBytes;
    strRow += '\0';
  }
  if (pdef->sNullOffset >= 0 && static_cast<size_t>(pdef->sNullOffset) >= strRow.size())
    strRow.resize(static_cast<size_t>(pdef->sNullOffset) + 1, '\0');
  if (strRow.size() > 0x7FFF) return;
  auto *pdflt = static_cast<zornodeEvalDefault *>(std::calloc(1, offsetof(zornodeEvalDefault, acRow) + strRow.size()));
  if (pdflt == nullptr) return;
  pdflt->iLength = static_cast<int32_t>(strRow.size());
  std::memcpy(pdflt->acRow, strRow.data(), strRow.size());
  pdef->pExtra = pdflt;
}

/*
** Binds the column nodes of a tree to the record layout of the table: one
** definition per column of the column table, at the offsets of the table
** description; the definitions the tree takes stay with it, the others are
** freed.  Columns written before a NOT NULL column was added read as its
** default.  Returns 0 or ORC_NOMEM.
*/
static int _zorurunBindToRecord(zortask *ptaskSelect, ficdataTableDesc *pdesc, zornode *pnode)
{
  zoratom *patomCols = zortaskDetermineAtom(ptaskSelect, gapnameTotalToken[TOKEN_COLTABLE]);
  ochaine *pchaine = patomCols != nullptr ? patomCols->value.pchaine : nullptr;

  /* indexed by DB2 column number: room for the highest number met */
  int32_t iSize = pdesc != nullptr ? pdesc->sColumnCount : 0;
  for (zorcol *pcol = pchaine != nullptr ? static_cast<zorcol *>(pchaine->pitemTop) : nullptr; pcol != nullptr;
       pcol = pcol->pcolNext)
    if (pcol->iDb2Number + 1 > iSize) iSize = pcol->iDb2Number + 1;
  auto **apdef = static_cast<rowColDef **>(std::calloc(static_cast<size_t>(iSize) + 1, sizeof(rowColDef *)));
  if (apdef == nullptr) return ORC_NOMEM;
  std::map<const rowColDef *, const zorcol *> mapCols;
  for (zorcol *pcol = pchaine != nullptr ? static_cast<zorcol *>(pchaine->pitemTop) : nullptr; pcol != nullptr;
       pcol = pcol->pcolNext) {
    if (pcol->iDb2Number < 0) continue;
    auto *pdef = static_cast<rowColDef *>(std::calloc(1, sizeof(rowColDef)));
    if (pdef == nullptr) {
      for (int32_t i = 0; i <= iSize; i++) std::free(apdef[i]);
      std::free(apdef);
      return ORC_NOMEM;
    }
    pdef->iType = pcol->iType;
    pdef->iLength = pcol->iLength;
    pdef->usCCSID = static_cast<uint16_t>(pcol->sCCSID);
    pdef->sOffset = -1;
    pdef->sNullOffset = -1;
    ficdataColumnDesc *pdc = _zorurunDescColumn(pdesc, pcol->iDb2Number);
    if (pdc != nullptr) {
      pdef->sOffset = pdc->sOffset;
      pdef->sNullOffset = pdc->sNullOffset;
    }
    apdef[pcol->iDb2Number] = pdef;
    mapCols[pdef] = pcol;
  }
  int iRc = zornodeSubstituteVar(pnode, apdef);
  omsgsTrace("_zorurunBindToRecord: zornodeSubstituteVar = 0x%x\n", iRc);
  _zorurunBindDefaults(pnode, mapCols);
  /* the definitions the tree took stay with it; the others are freed */
  olist *plistUsed = olistCreateRef(nullptr, nullptr);
  if (plistUsed != nullptr && zornodeGetExpressionColumns(plistUsed, pnode) == 0) {
    std::set<const void *> setUsed;
    for (auto *pref = static_cast<olistRef *>(plistUsed->pitemTop); pref != nullptr;
         pref = static_cast<olistRef *>(pref->pitemNext))
      setUsed.insert(pref->pData);
    for (int32_t i = 0; i <= iSize; i++)
      if (apdef[i] != nullptr && setUsed.count(apdef[i]) == 0) std::free(apdef[i]);
  }
  if (plistUsed != nullptr) olistDestroy(plistUsed);
  std::free(apdef);
  return 0;
}

int _zorurunPrepareWhere(zorcontrol *pcontrol, zortask *ptaskSelect, void *pTableDesc)
{
  (void)pcontrol;
  zoratom *patomWhere = zortaskDetermineAtom(ptaskSelect, gapnameTotalToken[TOKEN_WHERE]);
  if (patomWhere == nullptr || patomWhere->value.pnode == nullptr) return 0;
  return _zorurunBindToRecord(ptaskSelect, static_cast<ficdataTableDesc *>(pTableDesc), patomWhere->value.pnode);
}

ficcont *_zorurunGetLongContainers(zoratom *patomLong, ficcont *pficcont)
{
  if (patomLong == nullptr || patomLong->value.plist == nullptr || pficcont == nullptr) return pficcont;
  for (auto *plong = static_cast<ficcont *>(patomLong->value.plist->pitemTop); plong != nullptr;
       plong = static_cast<ficcont *>(plong->pitemNext))
    if (plong->ilPart == pficcont->ilPart) return plong;
  return pficcont;
}

/* True when the partition is in the PART set (every partition without one). */
static bool _zorurunInPart(zoratom *patomPart, int32_t ilPart)
{
  if (patomPart == nullptr || patomPart->value.pobf == nullptr) return true;
  return ilPart >= 0 && obfGet(patomPart->value.pobf, static_cast<uint32_t>(ilPart)) == 1;
}

/* Copies the used-by-output marks of the first description into another. */
static void _zorurunCopyUsed(const ficdataTableDesc *pfirst, ficdataTableDesc *pdesc)
{
  if (pfirst == nullptr || pdesc == nullptr || pfirst == pdesc || pfirst->pcolumns == nullptr ||
      pdesc->pcolumns == nullptr)
    return;
  int32_t n = std::min<int32_t>(pfirst->sColumnCount, pdesc->sColumnCount);
  for (int32_t i = 0; i < n; i++) pdesc->pcolumns[i].sUsed = pfirst->pcolumns[i].sUsed;
}

/* Runs the converter and WHERE preparation on the first description. */
static int _zorurunPrepareFirst(zorcontrol *pcontrol, zortask *ptaskSelect, ficdataTableDesc *pdesc)
{
  int iRc = _zorurunPrepareConvert(pcontrol, ptaskSelect, pdesc);
  if (iRc == 0) iRc = _zorurunPrepareWhere(pcontrol, ptaskSelect, pdesc);
  return iRc;
}

/* Work items of a backup SELECT. */
static int _zorurunPrepareBackup(zorcontrol *pcontrol, zortask *ptaskSelect, olist *plistItems, zoratom *patomBackup,
                                 zoratom *patomPart, osysibmSystables *ptable)
{
  int iRc = 0;
  ficdataTableDesc *pfirst = nullptr;
  for (auto *pentry = static_cast<zorbkFileEntry *>(patomBackup->value.plist != nullptr
                                                        ? patomBackup->value.plist->pitemTop
                                                        : nullptr);
       pentry != nullptr && iRc == 0; pentry = pentry->pitemNext) {
    if (!_zorurunInPart(patomPart, pentry->ilPart)) continue;
    if (pentry->pzorbk == nullptr) {
      pentry->pzorbk = zorbkCreate(pentry->pcharFileName, pentry->pcharAlias, nullptr, &iRc);
      if (pentry->pzorbk == nullptr) {
        if (iRc == 0) iRc = ORC_NOMEM;
        break;
      }
    }
    int iCode = 0;
    zorts *pts = zortsCreateFromBackup(pentry->pzorbk, ptable->sTID, ptable->sOBID, &iCode);
    if (pts == nullptr) {
      iRc = iCode != 0 ? iCode : ORC_NOMEM;
      break;
    }
    part *pitem = partCreate(pentry->ilPart, 0, nullptr, nullptr, nullptr, 0);
    if (pitem == nullptr) {
      zortsDestroy(pts);
      iRc = ORC_NOMEM;
      break;
    }
    pitem->pzorts = pts;
    olistAppend(plistItems, pitem);
    if (pfirst == nullptr) {
      pfirst = &pts->tbdesc;
      iRc = _zorurunPrepareFirst(pcontrol, ptaskSelect, pfirst);
      if (iRc != 0) return -iRc;
    } else {
      _zorurunCopyUsed(pfirst, &pts->tbdesc);
    }
  }
  return iRc;
}

/* Work items of an online-reader SELECT. */
static int _zorurunPrepareOnline(zorcontrol *pcontrol, zortask *ptaskSelect, olist *plistItems, olist *plistCont,
                                 zoratom *patomLong, zoratom *patomPart, osysibmSystables *ptable,
                                 const char *pcUser)
{
  int iRc = 0;
  ficdataTableDesc *pfirst = nullptr;
  for (auto *prec = static_cast<ficcont *>(plistCont != nullptr ? plistCont->pitemTop : nullptr);
       prec != nullptr && iRc == 0; prec = static_cast<ficcont *>(prec->pitemNext)) {
    if (!_zorurunInPart(patomPart, prec->ilPart)) continue;
    ficcont *plong = _zorurunGetLongContainers(patomLong, prec);
    int iCode = 0;
    zordat *pdat = zordatCreate(prec, plong, ptable->sTID, ptable->sOBID, pcUser, nullptr, &iCode);
    zorts *pts = pdat != nullptr ? zortsCreateFromDat(pdat, &iCode) : nullptr;
    if (pts == nullptr) {
      iRc = iCode != 0 ? iCode : ORC_NOMEM;
      break;
    }
    part *pitem = partCreate(prec->ilPart, 0, nullptr, prec, plong, 0);
    if (pitem == nullptr) {
      zortsDestroy(pts);
      iRc = ORC_NOMEM;
      break;
    }
    pitem->pzorts = pts;
    olistAppend(plistItems, pitem);
    if (pfirst == nullptr) {
      pfirst = &pts->tbdesc;
      iRc = _zorurunPrepareFirst(pcontrol, ptaskSelect, pfirst);
      if (iRc != 0) return -iRc;
    } else {
      _zorurunCopyUsed(pfirst, &pts->tbdesc);
    }
  }
  return iRc;
}

/* Drops a work-item list of the main process with the column arrays of the
** table descriptions its items own and their table-space objects. */
static void _zorurunDropItems(olist *plistItems)
{
  for (auto *pitem = static_cast<part *>(plistItems->pitemTop); pitem != nullptr; pitem = pitem->pitemNext) {
    if ((pitem->usFlags & PART_OWN_TABLEDESC) && pitem->pTableDesc != nullptr) {
      auto *pdesc = static_cast<ficdataTableDesc *>(pitem->pTableDesc);
      std::free(pdesc->pcolumns);
      pdesc->pcolumns = nullptr;
    }
    if (pitem->pzorts != nullptr) zortsDestroy(pitem->pzorts);
    pitem->pzorts = nullptr;
  }
  olistDestroy(plistItems);
}

int _zorurunPrepareSelect(zorcontrol *pcontrol, zortask *ptaskSelect)
{
  if (gboTorvelExist) omsgsTraceInIntern("_zorurunPrepareSelect", 0);
  zoratom *patomPart = _zorurunAtom(ptaskSelect, TOKEN_PART);
  zoratom *patomTable = _zorurunAtom(ptaskSelect, TOKEN_SYSTABLE);
  zoratom *patomBackup = _zorurunAtom(ptaskSelect, TOKEN_BACKUP);
  zoratom *patomCont = _zorurunAtom(ptaskSelect, TOKEN_CONTAINERS);
  zoratom *patomLong = _zorurunAtom(ptaskSelect, TOKEN_CONTAINERS_LONG);
  std::string strUser = _zorurunText(_zorurunString(ptaskSelect, TOKEN_INSTANCE_USER));
  if (patomTable == nullptr || patomTable->value.psysibm == nullptr) {
    omsgsTrace("_zorurunPrepareSelect: no SYSTABLE\n");
    return ZORURUN_RC_TABLEDESC;
  }
  auto *ptable = reinterpret_cast<osysibmSystables *>(patomTable->value.psysibm);
  olist *plistCont = patomCont != nullptr ? patomCont->value.plist : nullptr;
  olist *plistItems = olistCreate(0, partCloneItem, partDestroyItem);
  if (plistItems == nullptr) return ORC_NOMEM;

  int iRc = 0;
  if (patomBackup != nullptr || _zorurunInt(ptaskSelect, TOKEN_PTK001, 0) == 1) {
    iRc = patomBackup != nullptr
              ? _zorurunPrepareBackup(pcontrol, ptaskSelect, plistItems, patomBackup, patomPart, ptable)
              : _zorurunPrepareOnline(pcontrol, ptaskSelect, plistItems, plistCont, patomLong, patomPart, ptable,
                                      strUser.c_str());
    if (iRc < 0) {
      /* the converter or WHERE preparation failed: nothing is kept */
      _zorurunDropItems(plistItems);
      return -iRc;
    }
  } else {
    int iSucceeded = 0;
    bool boFailed = false;
    for (auto *prec = static_cast<ficcont *>(plistCont != nullptr ? plistCont->pitemTop : nullptr);
         prec != nullptr; prec = static_cast<ficcont *>(prec->pitemNext)) {
      if (!_zorurunInPart(patomPart, prec->ilPart)) continue;
      auto *pdesc = static_cast<ficdataTableDesc *>(std::calloc(1, PART_TABLEDESC_SIZE));
      if (pdesc == nullptr) {
        _zorurunDropItems(plistItems);
        return ORC_NOMEM;
      }
      int32_t ilPages = 0;
      if (unloadTableDesc(strUser.c_str(), prec, ptable->sOBID, pdesc, &ilPages) != 0) {
        omsgsTrace("_zorurunPrepareSelect: no table description on partition %d\n", prec->ilPart);
        std::free(pdesc->pcolumns);
        std::free(pdesc);
        boFailed = true;
        continue;
      }
      part *pitem = partCreate(prec->ilPart, ilPages, pdesc, prec, _zorurunGetLongContainers(patomLong, prec),
                               PART_OWN_TABLEDESC);
      if (pitem == nullptr) {
        std::free(pdesc->pcolumns);
        std::free(pdesc);
        _zorurunDropItems(plistItems);
        return ORC_NOMEM;
      }
      olistAppend(plistItems, pitem);
      if (iSucceeded++ == 0) {
        iRc = _zorurunPrepareFirst(pcontrol, ptaskSelect, pdesc);
        if (iRc != 0) {
          _zorurunDropItems(plistItems);
          return iRc;
        }
      }
    }
    if (iSucceeded == 0) {
      std::string strQ = _zorurunText(_zorurunString(ptaskSelect, TOKEN_TBQUALIFIER));
      std::string strN = _zorurunText(_zorurunString(ptaskSelect, TOKEN_TBNAME));
      omsgsFMTEDO(ZORU357E, static_cast<int>(strQ.size()), strQ.c_str(), static_cast<int>(strN.size()),
                  strN.c_str());
      _zorurunDropItems(plistItems);
      return ZORURUN_RC_NOPART;
    }
    if (boFailed) {
      _zorurunDropItems(plistItems);
      return ZORURUN_RC_TABLEDESC;
    }
  }
  zoratom *patom = zoratomCreate(gapnameTotalToken[TOKEN_PARTS_TAKEN], ZORATOM_OLIST, 0,
                                 reinterpret_cast<uintptr_t>(plistItems), nullptr, nullptr);
  if (patom == nullptr) {
    _zorurunDropItems(plistItems);
    return ORC_NOMEM;
  }
  int iRcAdd = zortaskAddAtom(ptaskSelect, patom);
  if (iRcAdd != 0) zoratomDestroy(patom);
  if (iRc == 0) iRc = iRcAdd;
  if (gboTorvelExist) omsgsTraceOutIntern("_zorurunPrepareSelect", iRc);
  return iRc;
}

/* ------------------------------------------------------------------ launches */

static void _zorurunForkFailed(int iErrno)
{
  omsgsFMTEDO(ZORU359E, ZORURUN_RC_FORK, std::strerror(iErrno));
}

int _zorurunRunSelect(zorurun *prun, zortask *ptaskSelect, int *piRemote)
{
  int iErr = 0;
  ovf *povf = ovfCreate(ZORURUN_STATUS_LEN, 1, &iErr);
  if (povf == nullptr) {
    omsgsFMTEDO(ZORU363E, std::strerror(iErr));
    return ZORURUN_RC_STATUS;
  }
  zorurunSelectLaunch launch{prun, prun->pcontrol, ptaskSelect, povf, 0};
  std::fflush(nullptr);
  pid_t pidMain = getpid();
  pid_t pid = osignalFork();
  if (pid == 0) {
    toolsDieWithParent(pidMain);
    zorurunSelectChildProc proc = gprocSelectChild != nullptr ? gprocSelectChild : _zorurunRunSelectChild;
    _zorurunExitChild(prun, proc(&launch));
  }
  int iRc = 0;
  if (pid < 0) {
    _zorurunForkFailed(errno);
    ovfWrite(povf, nullptr, 0);
    _zorurunDrain(povf);
    iRc = ZORURUN_RC_FORK;
  } else {
    int32_t ilCount = 0;
    int iRemote = 0;
    /* a child that ends before it reports is not waited for */
    ovfWatchProducer(povf, pid);
    iRc = _zorurunReadStatus(prun, povf, 1, &ilCount, &iRemote);
    if (iRemote != 0) *piRemote = 1;
    if (_zorurunAddChild(prun, pid, ilCount) != 0) omsgsTrace("_zorurunRunSelect: child %d not listed\n", pid);
    omsgsTrace("_zorurunRunSelect: pid %d tasks %d remote %d\n", static_cast<int>(pid), ilCount, iRemote);
  }
  ovfDestroy(povf);
  return iRc;
}

int _zorurunRunRemote(zorurun *prun, int32_t iIndex)
{
  zorurunRemoteLaunch launch{prun, prun->pcontrol, prun->apcHost[iIndex], prun->pcharSysin, prun->pcharArgs};
  std::fflush(nullptr);
  pid_t pidMain = getpid();
  pid_t pid = osignalFork();
  if (pid == 0) {
    toolsDieWithParent(pidMain);
    zorurunRemoteChildProc proc = gprocRemoteChild != nullptr ? gprocRemoteChild : _zorurunRunRemoteChild;
    _zorurunExitChild(prun, proc(&launch));
  }
  if (pid < 0) {
    _zorurunForkFailed(errno);
    return ZORURUN_RC_FORK;
  }
  if (_zorurunAddChild(prun, pid, 1) != 0) omsgsTrace("_zorurunRunRemote: child %d not listed\n", pid);
  omsgsTrace("_zorurunRunRemote: host %s pid %d\n", launch.pcHost, static_cast<int>(pid));
  return 0;
}

/*
** The code of a partition's run on another host, from what
** iSOCKETexecCmdLocal answered: 0 when it ended well, its warning when it
** ended with a warning's status, ZORURUN_RC_REMOTE after ZORU450E when the
** daemon failed the request or did not answer, ZORURUN_RC_REMOTERUN with its
** exit status after ZORU496E otherwise: a run that failed there fails here.
*/
int _zorurunRemoteResult(const char *pcHost, int iStatus, const char *pcErr)
{
  if (iStatus == 0) return 0;
  if (iStatus < 0) {
    omsgsFMTEDO(ZORU450E, pcHost, pcErr != nullptr ? pcErr : "");
    return ZORURUN_RC_REMOTE;
  }
  for (int iWarning : {ZORURUN_RC_ROWSLOST, ZORURUN_RC_LOBCUT, ZORURUN_RC_DAMAGED, ZORURUN_RC_REPLACED})
    if (oreasonExitStatus(iWarning) == iStatus) return iWarning;
  omsgsFMTEDO(ZORU496E, pcHost, iStatus);
  return ZORURUN_RC_REMOTERUN | (iStatus & 0xFF);
}

int _zorurunRunRemoteChild(zorurunRemoteLaunch *plaunch)
{
  struct timeval tvBeg, tvEnd;
  statsRecupTimeBeg(&tvBeg);
  /* without the control file there is nothing to send */
  if (plaunch->pcharSysin == nullptr) {
    omsgsTrace("_zorurunRunRemoteChild: no control file\n");
    return ZORURUN_RC_SAVEFILE;
  }
  std::string strPath = _zorurunText(plaunch->pcharSysin);
  int iCode = 0;
  FILE *pfile = toolsOpenBFile(strPath.c_str(), &iCode);
  if (pfile == nullptr) return ZORURUN_RC_SAVEFILE;
  std::string strText;
  char acLine[100];
  while (std::fgets(acLine, sizeof(acLine), pfile) != nullptr) strText += acLine;
  std::fclose(pfile);

  int iRc = 0;
  char *pcErr = nullptr;
  int iSocket = iSOCKETsaveFile(plaunch->pcHost, strText.c_str(), &pcErr);
  if (iSocket == -1) {
    omsgsTrace("_zorurunRunRemoteChild: save on %s failed (%s)\n", plaunch->pcHost,
               pcErr != nullptr ? pcErr : "");
    omsgsFMTEDO(ZORU450E, plaunch->pcHost, pcErr != nullptr ? pcErr : "");
    iRc = ZORURUN_RC_SAVEFILE;
  } else {
    std::string strArgs = _zorurunText(plaunch->pcharArgs);
    struct passwd *ppw = getpwuid(geteuid());
    if (ppw != nullptr && ppw->pw_name != nullptr) strArgs += ppw->pw_name;
    pcErr = nullptr;
    iRc = _zorurunRemoteResult(plaunch->pcHost, iSOCKETexecCmdLocal(iSocket, strArgs.c_str(), &pcErr), pcErr);
  }
  statsRecupTimeEnd(&tvEnd);
  statsCalculTrace("Remote Child", 0, &tvBeg, &tvEnd);
  return iRc;
}

/* ------------------------------------------------------------------ run step */

/* Keeps the worse code: a warning of one SELECT never hides a later error. */
static void _zorurunKeep(int *piResult, int iRc)
{
  *piResult = oreasonWorse(*piResult, iRc);
}

/* Launches the remote runs the last SELECT reported, by ascending index. */
static void _zorurunLaunchRemotes(zorurun *prun, int *piResult)
{
  for (int32_t i = 0; i < prun->iPartCount; i++) {
    if (prun->ailRemoteState[i] == ZORURUN_REMOTE_LAUNCH) {
      prun->ailRemoteState[i] = ZORURUN_REMOTE_DONE;
      _zorurunKeep(piResult, _zorurunRunRemote(prun, i));
    } else if (prun->ailRemoteState[i] == ZORURUN_REMOTE_TAKEN) {
      prun->ailRemoteState[i] = ZORURUN_REMOTE_DONE;
    }
  }
}

/* One SELECT: preparation and launch by its flags. */
static int _zorurunDispatch(zorurun *prun, zortask *ptaskSelect, int *piRemote)
{
  uint32_t ulFlags = ptaskSelect->ulFlags;
  if ((ulFlags & ZORURUN_DISPATCH_MASK) == 0) {
    int iRc = _zorurunPrepareSelect(prun->pcontrol, ptaskSelect);
    if (iRc == 0) iRc = _zorurunRunSelect(prun, ptaskSelect, piRemote);
    return iRc;
  }
  if ((ulFlags & ZORURUN_DB2_MASK) != 0) {
    /* the export child reports no remote partitions */
    if (_zorurunInt(ptaskSelect, TOKEN_PTK002, 0) == 1) return _zorurunRunExportDB2(prun, ptaskSelect);
    int iRc = _zorurunPrepareSelectDB2(prun->pcontrol, ptaskSelect);
    if (iRc == 0) iRc = _zorurunRunSelectDB2(prun, ptaskSelect, piRemote);
    return iRc;
  }
  omsgsTrace("zorurunRun: SELECT in error skipped (flags 0x%x)\n", ulFlags);
  return 0;
}

int zorurunRun(zorcontrol *pcontrol)
{
  if (gboTorvelExist) omsgsTraceInIntern("zorurunRun", 0);
  zortask *ptaskGlobal = pcontrol->ptaskGlobal;
  uint32_t ulLocal = static_cast<uint32_t>(_zorurunInt(ptaskGlobal, TOKEN_LOCAL, ZORURUN_LOCAL_NO));
  ochar *pcharSysin = _zorurunString(ptaskGlobal, TOKEN_SYSIN);
  ochar *pcharArgs = _zorurunString(ptaskGlobal, TOKEN_ARGS);
  std::string strInstance = _zorurunText(_zorurunString(ptaskGlobal, TOKEN_INSTANCE_NAME));

  int iNodes = 0;
  db2utilNode *pnodes = strInstance.empty() ? nullptr : db2utilGetNodes(strInstance.c_str(), &iNodes);
  if (pnodes == nullptr) iNodes = 0;

  int iResult = 0;
  zorurun *prun = _zorurunCreate(pcontrol, 0, iNodes, ulLocal, pcharSysin, pcharArgs, 0, pnodes);
  if (prun == nullptr) {
    std::free(pnodes);
    omsgsFMTEDO(ZORU363E, std::strerror(ENOMEM));
    return ZORURUN_RC_NOMEM;
  }
  struct timeval tvBeg{}, tvEnd{};
  if (ulLocal == ZORURUN_LOCAL_NO) statsRecupTimeBeg(&tvBeg);

  /* the child table's initial capacity is the throttle */
  int32_t iMaxTask = prun->iCapacity;
  bool boCut = false;   /* a signal stopped a SELECT, or kept one from starting */
  auto keep = [&](int iRc) {
    if (osignalIsInterrupted(iRc)) boCut = true;
    _zorurunKeep(&iResult, iRc);
  };
  for (zortask *ptaskUnload = ptaskGlobal->pchaineSubTasks != nullptr
                                  ? static_cast<zortask *>(ptaskGlobal->pchaineSubTasks->pitemTop)
                                  : nullptr;
       ptaskUnload != nullptr && !boCut; ptaskUnload = ptaskUnload->ptaskNext) {
    for (zortask *ptaskSelect = ptaskUnload->pchaineSubTasks != nullptr
                                    ? static_cast<zortask *>(ptaskUnload->pchaineSubTasks->pitemTop)
                                    : nullptr;
         ptaskSelect != nullptr; ptaskSelect = ptaskSelect->ptaskNext) {
      while (prun->iDirectRunning >= iMaxTask) keep(_zorurunWaitTasks(prun));
      /* a signal asking the run to stop: nothing more is launched */
      if (osignalCaught() != 0) boCut = true;
      if (boCut) break;
      int iRemote = 0;
      keep(_zorurunDispatch(prun, ptaskSelect, &iRemote));
      if (ulLocal == ZORURUN_LOCAL_NO && iRemote != 0 && prun->ailRemoteState != nullptr)
        _zorurunLaunchRemotes(prun, &iResult);
    }
  }
  while (prun->iDirectRunning > 0) keep(_zorurunWaitTasks(prun));
  /* the signal, sent on to every child, is what ended the run (one that came
     once every SELECT had done its work changes nothing) */
  if (boCut && osignalCaught() != 0) iResult = osignalReason();

  /* no success is said after an error message of any process of the run */
  if (iResult == 0) iResult = omsgssevEndCode();
  if (iResult == 0 && ulLocal == ZORURUN_LOCAL_NO) {
    statsRecupTimeEnd(&tvEnd);
    statsCalcul(1, &tvBeg, &tvEnd);
  }
  std::free(pnodes);
  _zorurunDestroy(prun);
  if (gboTorvelExist) omsgsTraceOutIntern("zorurunRun", iResult);
  return iResult;
}
