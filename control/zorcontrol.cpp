/*
** zorcontrol.cpp
**   The control object of one request (see zorcontrol.h) and the control
**   step: between parsing and unloading, every UNLOAD block is given its
**   table space, every SELECT its table, column table and checked clauses,
**   and a route (read directly, or through DB2 when the user allows it).
**   SELECTs whose table lies in another table space are moved into blocks
**   of their own, appended to the GLOBAL task and checked later.
**
**   Kept messages: a SELECT task's pstackDefered holds the messages kept
**   for it (parser, table resolution, checks under DB2 fallback).  They are
**   printed when the SELECT or its block fails and discarded otherwise.
**   Single-threaded, in the main process, before any child exists.
*/
#include "control/zorcontrol.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "catalog/odb2x2.h"
#include "model/osysibm.h"
#include "catalog/sysibm.h"
#include "common/ochaine.h"
#include "common/ochar.h"
#include "common/odict.h"
#include "common/olist.h"
#include "common/omsgs.h"
#include "common/ostack.h"
#include "common/ostream.h"
#include "common/oyacc.h"
#include "control/zorcontroludbts.h"
#include "control/zorctrl.h"
#include "control/zorctrlout.h"
#include "control/zor3yacc.h"
#include "control/zordlex.h"
#include "control/zordyacc.h"
#include "model/parm.h"
#include "model/stats.h"
#include "model/token.h"
#include "model/udb.h"
#include "model/zoratom.h"
#include "model/zormsgs.h"
#include "model/zortask.h"
#include "expr/zorcol.h"
#include "expr/zornode.h"
#include "expr/zornodechk.h"
#include "expr/zornodeeval.h"

#define OMSGS_TRACE_KEYWORD "$CTRL"
#define OMSGS_DEBUG_KEYWORD "$CTRLD"
#include "common/omsgsmod.h"

zorcontrol *zorcontrolCreate(zortask *ptaskGlobal, zortask *ptaskParmlib)
{
  zorcontrol *pcontrol = static_cast<zorcontrol *>(std::calloc(1, sizeof(zorcontrol)));
  if (pcontrol == nullptr) return nullptr;
  pcontrol->pstackMaxRc = ostackCreate(ZORCONTROL_MAXRC_SLOTS);
  if (pcontrol->pstackMaxRc == nullptr) {
    std::free(pcontrol);
    return nullptr;
  }
  pcontrol->ptaskGlobal = ptaskGlobal;
  pcontrol->ptaskParmlib = ptaskParmlib;
  /* Lookups through owners climb from GLOBAL into PARMLIB. */
  if (ptaskGlobal != nullptr && ptaskParmlib != nullptr) ptaskGlobal->ptaskOwner = ptaskParmlib;
  return pcontrol;
}

namespace {

/* Packed keyword codes of the DB2 and LOCAL atoms. */
constexpr int32_t kiYes = 0xE8C5E2;
constexpr int32_t kiNo = 0xD5D6;
constexpr int32_t kiForce = 0xC6D6D9;

constexpr uint16_t kusUtf8 = 1208;

/* ------------------------------------------------------------------ atoms */

const char *_ctlName(int iSlot) { return gapnameTotalToken[iSlot]; }

zoratom *_ctlOwn(zortask *ptask, int iSlot)
{
  if (ptask == nullptr || ptask->pdictAtoms == nullptr || _ctlName(iSlot) == nullptr) return nullptr;
  return static_cast<zoratom *>(odictLoad(ptask->pdictAtoms, reinterpret_cast<uintptr_t>(_ctlName(iSlot))));
}

zoratom *_ctlFound(zortask *ptask, int iSlot)
{
  if (ptask == nullptr || _ctlName(iSlot) == nullptr) return nullptr;
  return zortaskDetermineAtom(ptask, _ctlName(iSlot));
}

ochar *_ctlString(zoratom *patom)
{
  if (patom == nullptr || (patom->iKind != ZORATOM_OCHAR && patom->iKind != ZORATOM_DIM)) return nullptr;
  return patom->value.pchar;
}

std::string _ctlText(const ochar *pchar)
{
  if (pchar == nullptr || pchar->pcData == nullptr || pchar->ilBU <= 0) return std::string();
  return std::string(_charText(pchar), static_cast<size_t>(pchar->ilBU));
}

std::string _ctlStripped(const ochar *pchar)
{
  std::string str = _ctlText(pchar);
  size_t ul = str.find_last_not_of(' ');
  str.erase(ul == std::string::npos ? 0 : ul + 1);
  return str;
}

/* The packed keyword of an INTEGER atom; 0 for none. */
int32_t _ctlKeyword(zoratom *patom)
{
  if (patom == nullptr) return 0;
  return patom->value.iValue;
}

/* A number atom's value (BYTE, SHORT or INTEGER); iDefault for none. */
int32_t _ctlNumber(zoratom *patom, int32_t iDefault)
{
  if (patom == nullptr) return iDefault;
  if (patom->iKind == ZORATOM_BYTE) return patom->value.ucByte;
  if (patom->iKind == ZORATOM_SHORT) return patom->value.usShort;
  return patom->value.iValue;
}

int _ctlAdd(zortask *ptask, zoratom *patom)
{
  if (patom == nullptr) return ORC_NOMEM;
  int iRc = zortaskAddAtom(ptask, patom);
  if (iRc != 0) zoratomDestroy(patom);
  return iRc;
}

/* Adds an owned OCHAR atom: a NUL-terminated copy of pcharFrom. */
int _ctlAddCopy(zortask *ptask, int iSlot, const ochar *pcharFrom)
{
  ochar *pchar = ocharCreate(0, pcharFrom != nullptr ? pcharFrom->usCCSID : 850);
  if (pchar == nullptr) return ORC_NOMEM;
  std::string str = _ctlText(pcharFrom);
  if (ocharAppendFixedS(pchar, str.data(), static_cast<int32_t>(str.size())) != 0 || ocharMakeC(pchar) != 0) {
    ocharDestroy(pchar);
    return ORC_NOMEM;
  }
  zoratom *patom = zoratomCreate(_ctlName(iSlot), ZORATOM_OCHAR, 0, reinterpret_cast<uintptr_t>(pchar), nullptr,
                                 nullptr);
  if (patom == nullptr) {
    ocharDestroy(pchar);
    return ORC_NOMEM;
  }
  return _ctlAdd(ptask, patom);
}

/* Replaces an own atom of the task. */
int _ctlReplace(zortask *ptask, zoratom *patom)
{
  if (patom == nullptr) return ORC_NOMEM;
  zoratom *pold = zortaskRemoveAtom(ptask, patom->pcName);
  if (pold != nullptr) zoratomDestroy(pold);
  return _ctlAdd(ptask, patom);
}

/* TBQUALIFIER from the found SQLID when the SELECT has none of its own. */
int _ctlDefaultQualifier(zortask *ptaskSelect)
{
  if (_ctlOwn(ptaskSelect, TOKEN_TBQUALIFIER) != nullptr) return 0;
  ochar *pcharSqlid = _ctlString(_ctlFound(ptaskSelect, TOKEN_SQLID));
  if (pcharSqlid == nullptr) return 0;
  return _ctlAddCopy(ptaskSelect, TOKEN_TBQUALIFIER, pcharSqlid);
}

bool _ctlIsError(int iRc) { return (iRc & 0x7000) > 0x1000; }

/* ------------------------------------------------------------------ kept messages */

/* Prints the SELECT's kept messages and clears its word. */
void _ctlPrintKept(zortask *ptaskSelect)
{
  ostack *pstack = ptaskSelect->pstackDefered;
  ptaskSelect->pstackDefered = nullptr;
  if (pstack == nullptr) return;
  ostack *pcurrent = omsgsExportDefered();
  omsgsRestaureDefered(pstack);
  omsgsFlushDefered();
  omsgsRestaureDefered(pcurrent);
}

/* Discards the SELECT's kept messages and clears its word. */
void _ctlDiscardKept(zortask *ptaskSelect)
{
  ostack *pstack = ptaskSelect->pstackDefered;
  ptaskSelect->pstackDefered = nullptr;
  if (pstack == nullptr) return;
  ostack *pcurrent = omsgsExportDefered();
  omsgsRestaureDefered(pstack);
  omsgsRestaureDefered(pcurrent);   /* destroys pstack with its texts */
}

/* What _ctlKeepOn set aside: the deferral setting and the stack current before it. */
struct ctlKeep {
  int boDefered;
  ostack *pstackOuter;
};

/*
** Installs the SELECT's kept messages as the deferred stack, deferral on,
** so that what is issued until _ctlKeepOff joins them.
*/
ctlKeep _ctlKeepOn(zortask *ptaskSelect)
{
  ctlKeep keep;
  keep.pstackOuter = omsgsExportDefered();
  omsgsRestaureDefered(ptaskSelect->pstackDefered);
  ptaskSelect->pstackDefered = nullptr;
  keep.boDefered = omsgsSetDefered(1);
  return keep;
}

/* Detaches the deferred stack back into the SELECT's word; deferral and stack as before _ctlKeepOn. */
void _ctlKeepOff(zortask *ptaskSelect, const ctlKeep &keep)
{
  omsgsSetDefered(keep.boDefered);
  ptaskSelect->pstackDefered = omsgsExportDefered();
  omsgsRestaureDefered(keep.pstackOuter);
}

void _ctlPrintBlockKept(zortask *ptaskUnload)
{
  if (ptaskUnload->pchaineSubTasks == nullptr) return;
  for (zortask *p = static_cast<zortask *>(ptaskUnload->pchaineSubTasks->pitemTop); p != nullptr; p = p->ptaskNext)
    _ctlPrintKept(p);
}

void _ctlStep(const char *pcLabel, int iRc)
{
  statsTimeTrace(pcLabel);
  omsgsTrace("%s: 0x%x\n", pcLabel, iRc);
}

/* ------------------------------------------------------------------ column typing */

/*
** The internal type id, subtype and storage length of a computed value of
** the node's checked type, as the catalogue would describe a column of
** that type; false for a type that has no stored form (boolean, NULL,
** LOBs, long strings), which is not read directly.
*/
bool _ctlComputedType(const zornode *pnode, int32_t *piType, int32_t *piSubType, int32_t *piLength)
{
  int32_t iLength = pnode->usLength;
  switch (pnode->usCtrlType & 0xFF) {
    case NODE_CTINT:
      *piType = iLength == 2 ? ZORCOL_T_SMALLINT : ZORCOL_T_INTEGER;
      iLength = iLength == 2 ? 2 : 4;
      break;
    case NODE_CTSMI: *piType = ZORCOL_T_SMALLINT; iLength = 2; break;
    case NODE_CTBIG: *piType = ZORCOL_T_BIGINT; iLength = 8; break;
    case NODE_CTFLT:
      *piType = iLength == 4 ? ZORCOL_T_REAL : ZORCOL_T_DOUBLE;
      iLength = iLength == 4 ? 4 : 8;
      break;
    case NODE_CTDEC:
      if ((iLength >> 8) < 1 || (iLength >> 8) > 31 || (iLength & 0xFF) > (iLength >> 8)) return false;
      *piType = ZORCOL_T_DECIMAL;
      *piSubType = iLength;
      *piLength = (iLength >> 8) / 2 + 1;
      return true;
    case NODE_CTDTE: *piType = ZORCOL_T_DATE; *piSubType = 0; *piLength = 4; return true;
    case NODE_CTTME: *piType = ZORCOL_T_TIME; *piSubType = 0; *piLength = 3; return true;
    case NODE_CTTST: *piType = ZORCOL_T_TIMESTAMP; *piSubType = 0; *piLength = 10; return true;
    case NODE_CTCHR:
      if (iLength < 1 || iLength > 254) return false;
      *piType = ZORCOL_T_CHAR;
      break;
    case NODE_CTVCH:
      if (iLength < 1 || iLength > ZORNODE_STRING_MAX) return false;
      *piType = ZORCOL_T_VARCHAR;
      break;
    case NODE_CTGRA:
      if (iLength < 1 || iLength > 127) return false;
      *piType = ZORCOL_T_GRAPHIC;
      break;
    default: return false;
  }
  *piSubType = iLength;
  *piLength = iLength;
  return true;
}

/*
** Types pcol from its checked expression node.  Returns 0, or
** ZORNODE_RC_NOPROC for a computed value that has no stored form (the
** SELECT is then refused under DB2 NO and handed to DB2 otherwise).
*/
int _ctlTypeColumn(zorcol *pcol)
{
  zornode *pnode = pcol->pnodeExpr;
  if (pnode == nullptr) return 0;
  if (pnode->sKind == ZORNODE_VAR) {
    const zorcol *pref = static_cast<const zorcol *>(pnode->pLeft);
    pcol->iType = pnode->usCtrlType & 0xFF;
    if (pref != nullptr) {
      pcol->usFlags = static_cast<uint16_t>(pref->usFlags | 0x1000);
      if (pcol->pcharName == nullptr && pref->pcharName != nullptr) pcol->pcharName = ocharClone(pref->pcharName);
      pcol->iType = pref->iType;
      pcol->iSubType = pref->iSubType;
      pcol->iLength = pref->iLength;
      pcol->iDb2Number = pref->iDb2Number;
      if (pcol->pcharDefault != nullptr) ocharDestroy(pcol->pcharDefault);
      pcol->pcharDefault = pref->pcharDefault != nullptr ? ocharClone(pref->pcharDefault) : nullptr;
    } else {
      pcol->iLength = pnode->usLength;
    }
    pcol->sCCSID = pnode->sCCSID;
    return 0;
  }
  /* a constant or a computation: typed as DB2 types its result */
  int32_t iType = 0, iSubType = 0, iLength = 0;
  if (!_ctlComputedType(pnode, &iType, &iSubType, &iLength)) return ZORNODE_RC_NOPROC;
  bool boText = (pnode->usCtrlType & NODE_T_CHAR) != 0;
  uint16_t usFlags = pnode->sKind == ZORNODE_CSTE ? ZORCOL_CSTE : ZORCOL_OPRT;
  if (pnode->sKind != ZORNODE_CSTE && (pnode->usStatus & NODE_NULLABLE)) usFlags |= ZORCOL_NULL;
  if (boText) {
    int iClass = ocharDetermineBCS(static_cast<uint16_t>(pnode->sCCSID));
    usFlags |= (iClass == ZORCOL_SBCS || iClass == ZORCOL_DBCS || iClass == ZORCOL_VBCS) ? iClass : ZORCOL_FBD;
  } else {
    usFlags |= static_cast<uint16_t>(ocharDetermineBCS(0));
  }
  pcol->usFlags = usFlags;
  pcol->iType = iType;
  pcol->iSubType = iSubType;
  pcol->iLength = iLength;
  pcol->sCCSID = boText ? pnode->sCCSID : 0;
  return 0;
}

/*
** Checks a tree against the column table.  The check reports a refused
** expression by its messages and an untyped root, not by its result; that
** becomes 0x105a013 here.
*/
int _ctlCheck(zornode *pnode, const ochaine *pchaineColTable)
{
  int iRc = zornodeCheckExpression(pnode, pchaineColTable);
  if (iRc == 0 && pnode->usCtrlType == NODE_T_INC) iRc = ZORCONTROL_RC_CHECK;
  return iRc;
}

/* Substitutes, checks, types and names one selected column. */
int _ctlCheckColumn(zorcol *pcol, olist *plistView, const ochaine *pchaineColTable, bool boGiveExpr)
{
  int iRc = 0;
  if (pcol->pnodeExpr != nullptr && plistView != nullptr) iRc = zornodeSubstituteView(pcol->pnodeExpr, plistView);
  if (iRc != 0) return iRc;
  if (boGiveExpr && pcol->pnodeExpr == nullptr && (pcol->usFlags & 0x1000) != 0) {
    zorcol *pcopy = zorcolClone(pcol);
    if (pcopy == nullptr) return ORC_NOMEM;
    pcol->pnodeExpr = zornodeCreate(ZORNODE_VAR, -8, pcopy, nullptr, 0, nullptr, nullptr);
    if (pcol->pnodeExpr == nullptr) {
      zorcolDestroy(pcopy);
      return ORC_NOMEM;
    }
  }
  if (pcol->pnodeExpr == nullptr) return ORC_INVALID;
  iRc = _ctlCheck(pcol->pnodeExpr, pchaineColTable);
  if (iRc == 0) iRc = _ctlTypeColumn(pcol);
  if (iRc != 0) return iRc;
  if (pcol->pcharName == nullptr) iRc = zorcolBuildDefaultName(pcol);
  return iRc;
}

/* The match list of the SELECT's VIEW atom, or NULL. */
olist *_ctlViewList(zortask *ptask)
{
  zoratom *patom = _ctlOwn(ptask, TOKEN_VIEW);
  return patom != nullptr && patom->iKind == ZORATOM_OLIST ? patom->value.plist : nullptr;
}

ochaine *_ctlChaine(zoratom *patom)
{
  return patom != nullptr && patom->iKind == ZORATOM_OCHAINE ? patom->value.pchaine : nullptr;
}

/* Destroys a parsed view tree with the messages kept on its tasks. */
void _ctlDestroyTree(zortask *ptask)
{
  if (ptask->pchaineSubTasks != nullptr)
    for (zortask *p = static_cast<zortask *>(ptask->pchaineSubTasks->pitemTop); p != nullptr; p = p->ptaskNext)
      _ctlDiscardKept(p);
  _ctlDiscardKept(ptask);
  zortaskDestroy(ptask);
}

/* ------------------------------------------------------------------ DB2 option */

void _ctlSetFallback(zortask *ptaskSelect)
{
  int32_t iDb2 = _ctlKeyword(_ctlFound(ptaskSelect, TOKEN_DB2));
  if (iDb2 == kiYes || iDb2 == kiForce)
    ptaskSelect->ulFlags |= ZORCONTROL_FLAG_FALLBACK;
  else
    ptaskSelect->ulFlags &= ~ZORCONTROL_FLAG_FALLBACK;
  if (iDb2 == kiForce) ptaskSelect->ulFlags |= ZORCONTROL_FLAG_DB2;
}

}  // namespace

/* ------------------------------------------------------------------ control step */

int zorcontrolControl(zorcontrol *pcontrol)
{
  zortask *ptaskGlobal = pcontrol->ptaskGlobal;
  ostackPush(pcontrol->pstackMaxRc, static_cast<uintptr_t>(zortaskDetermineMaxRc(ptaskGlobal)));
  int iRc;
  if (_ctlNumber(_ctlOwn(ptaskGlobal, TOKEN_TASKTYPE), 0) != 5)
    iRc = ZORCONTROL_RC_NOTGLOBAL;
  else
    iRc = _zorcontrolZAV(pcontrol);
  /* no two writers of the request may write one file */
  if (iRc == 0) iRc = zorctrloutCheckFiles(pcontrol);
  if (omsgsTraceCheck("$CTRL") == 1) {
    omsgsTrace("Dump Tasks\n");
    zortaskTraceMsgsService(ptaskGlobal, "$CTRL");
  }
  return iRc;
}

int _zorcontrolZAV(zorcontrol *pcontrol)
{
  zortask *ptaskGlobal = pcontrol->ptaskGlobal;
  if (ptaskGlobal->pchaineSubTasks == nullptr) return 0;
  int iRc = 0;
  /* ptaskNext is read after the step, so blocks appended meanwhile are reached */
  for (zortask *ptaskUnload = static_cast<zortask *>(ptaskGlobal->pchaineSubTasks->pitemTop); ptaskUnload != nullptr;
       ptaskUnload = ptaskUnload->ptaskNext) {
    ostackPush(pcontrol->pstackMaxRc, static_cast<uintptr_t>(zortaskDetermineMaxRc(ptaskUnload)));
    bool boSubTasks = ptaskUnload->pchaineSubTasks != nullptr && ptaskUnload->pchaineSubTasks->pitemTop != nullptr;
    bool boStop = true;
    do {
      if (!boSubTasks && _ctlOwn(ptaskUnload, TOKEN_TSNAME) == nullptr) {
        omsgsFMTEDO(ZORU077E);
        iRc = ZORCONTROL_RC_NOTS;
        break;
      }
      iRc = zorcontrolUdbCheckBackup(pcontrol, ptaskUnload);
      _ctlStep("After CheckBackup", iRc);
      if (_ctlIsError(iRc)) break;
      iRc = zorcontrolDetermineTS(pcontrol, ptaskUnload);
      _ctlStep("After DetermineTS", iRc);
      if (_ctlIsError(iRc)) break;
      if (iRc == ZORCONTROL_RC_NOTSFOUND) {
        ptaskUnload->ulFlags |= ZORCONTROL_FLAG_DB2;
      } else {
        iRc = zorcontrolUdbGetSystablespace(pcontrol, ptaskUnload);
        _ctlStep("After GetSystablespace", iRc);
        if (iRc > 4) break;
        iRc = zorcontrolCheckSystablespace(pcontrol, ptaskUnload);
        _ctlStep("After CheckSystablespace", iRc);
        if (iRc > 4) break;
        iRc = zorcontrolUdbCheckPartition(pcontrol, ptaskUnload);
        _ctlStep("After CheckPartition", iRc);
        if (_ctlIsError(iRc)) break;
      }
      statsTimeTrace("Before ControZavSelect");
      iRc = _zorcontrolZavSelect(pcontrol, ptaskUnload);
      _ctlStep("After ControZavSelect", iRc);
      if (_ctlIsError(iRc)) break;
      boStop = false;
    } while (false);
    if (boStop) {
      if (boSubTasks) {
        _ctlPrintBlockKept(ptaskUnload);
        ptaskUnload->ulFlags |= ZORCONTROL_FLAG_ERROR;
      }
      break;
    }
    if (ostackGetCount(pcontrol->pstackMaxRc) > 1) ostackPop(pcontrol->pstackMaxRc);
  }
  return iRc;
}

int zorcontrolDetermineTS(zorcontrol *pcontrol, zortask *ptaskUnload)
{
  if (_ctlOwn(ptaskUnload, TOKEN_TSNAME) != nullptr) return 0;
  for (;;) {
    zortask *ptaskSelect = zortaskGetFirstNonDB2Select(ptaskUnload);
    if (ptaskSelect == nullptr) return ZORCONTROL_RC_NOTSFOUND;
    int iRc = zorcontrolGetTSFromTB(pcontrol, ptaskSelect, ptaskUnload, 1);
    if (iRc == 0) return 0;
    ptaskSelect->ulFlags |= ZORCONTROL_FLAG_DB2;   /* the next round takes the next SELECT */
  }
}

int zorcontrolGetTSFromTB(zorcontrol *pcontrol, zortask *ptaskSelect, zortask *ptaskTarget, int boViewAllowed)
{
  ochar *pcharName = _ctlString(_ctlOwn(ptaskSelect, TOKEN_TBNAME));
  if (pcharName == nullptr) {
    ptaskSelect->ulFlags |= ZORCONTROL_FLAG_DB2;
    return ZORCONTROL_RC_NOTBNAME;
  }
  ochar *pcharQualifier = _ctlString(_ctlOwn(ptaskSelect, TOKEN_TBQUALIFIER));
  if (pcharQualifier == nullptr) pcharQualifier = _ctlString(_ctlFound(ptaskSelect, TOKEN_SQLID));

  ochar *pcharTablespace = nullptr;
  char cType = ' ';
  int iRc;
  zoratom *patomCatalog = _ctlFound(ptaskSelect, TOKEN_CATALOG);
  if (patomCatalog != nullptr) {
    iRc = zorcontrolUdbGetTSFromTB(_ctlChaine(patomCatalog), pcharQualifier, pcharName, &pcharTablespace, &cType);
  } else {
    zoratom *patomUser = _ctlFound(ptaskSelect, TOKEN_USERNAME);
    zoratom *patomPass = _ctlFound(ptaskSelect, TOKEN_PASS);
    std::string strUser = _ctlStripped(_ctlString(patomUser));
    std::string strPass = _ctlStripped(_ctlString(patomPass));
    iRc = sysibmGetTSFromTB(pcharQualifier, pcharName, patomUser != nullptr ? strUser.c_str() : nullptr,
                            patomPass != nullptr ? strPass.c_str() : nullptr,
                            _ctlString(_ctlFound(ptaskSelect, TOKEN_DBNAME)), &pcharTablespace, &cType);
  }
  omsgsTrace("zorcontrolGetTSFromTB: lookup 0x%x type %c\n", iRc, cType);
  if (iRc != 0 || pcharTablespace == nullptr) {
    if (pcharTablespace != nullptr) ocharDestroy(pcharTablespace);
    std::string strQ = _ctlStripped(pcharQualifier), strN = _ctlStripped(pcharName);
    omsgsFMTEDO(ZORU066E, static_cast<int>(strQ.size()), strQ.c_str(), static_cast<int>(strN.size()), strN.c_str());
    ptaskSelect->ulFlags |= ZORCONTROL_FLAG_DB2;
    return ZORCONTROL_RC_TBNOTFOUND;
  }
  if (cType == 'V') {
    iRc = boViewAllowed ? _zorcontrolView(pcontrol, ptaskSelect, pcharName, pcharQualifier) : ZORCONTROL_RC_VIEW;
    if (iRc != 0) {
      ocharDestroy(pcharTablespace);
      ptaskSelect->ulFlags |= ZORCONTROL_FLAG_DB2;
      return ZORCONTROL_RC_VIEW;
    }
  } else if (cType != 'T') {
    ocharDestroy(pcharTablespace);
    ptaskSelect->ulFlags |= ZORCONTROL_FLAG_DB2;
    return ZORCONTROL_RC_BADTYPE;
  }
  iRc = _ctlAddCopy(ptaskTarget, TOKEN_TSNAME, pcharTablespace);
  ocharDestroy(pcharTablespace);
  return iRc;
}

int zorcontrolCheckSystablespace(zorcontrol *, zortask *ptaskUnload)
{
  zoratom *patom = _ctlFound(ptaskUnload, TOKEN_SYSTABLESPACE);
  if (patom == nullptr || patom->value.psysibm == nullptr) return 0;
  auto *pts = reinterpret_cast<osysibmSystablespace *>(patom->value.psysibm);
  if (pts->apchaine[1] == nullptr || pts->apchaine[1]->pitemTop == nullptr) {
    std::string strD = _ctlStripped(pts->pcharCREATOR), strT = _ctlStripped(pts->pcharNAME);
    omsgsFMTEDO(ZORU057E, strD.c_str(), strT.c_str());
    return ZORCONTROL_RC_EMPTYTS;
  }
  return 0;
}

int zorcontrolRemovePhysicalUnload(zorcontrol *, zortask *ptaskUnload)
{
  for (int iSlot : {TOKEN_TSNAME, TOKEN_SYSTABLESPACE, TOKEN_CONTAINERS, TOKEN_CATALOG}) {
    zoratom *patom = zortaskRemoveAtom(ptaskUnload, _ctlName(iSlot));
    if (patom != nullptr) zoratomDestroy(patom);
  }
  return 0;
}

/* ------------------------------------------------------------------ SELECT passes */

/*
** The export API writes no LOB file and no LOB whole into a DEL file: a
** SELECT for the export (PTK002 = 1) whose result has BLOB, CLOB or
** DBCLOB columns is refused (ZORU492E), whatever its LOBFILE and LOB IN.
** The result's columns are described through DB2 for that.  Returns 0,
** the description's code, or ZORCONTROL_RC_EXPORTLOB.
*/
static int _ctlExportLobs(zorcontrol *pcontrol, zortask *ptaskSelect)
{
  ochar *pcharSql = _ctlString(_ctlOwn(ptaskSelect, TOKEN_SELECTSQL));
  int iRc = zorcontrolUdbGetColDescription(pcontrol, ptaskSelect, pcharSql);
  if (iRc != 0) return iRc;
  int32_t ilLobs = _ctlNumber(_ctlOwn(ptaskSelect, TOKEN_NO), 0);
  if (ilLobs <= 0) return 0;
  ochar *pcharQ = _ctlString(_ctlOwn(ptaskSelect, TOKEN_TBQUALIFIER));
  ochar *pcharN = _ctlString(_ctlOwn(ptaskSelect, TOKEN_TBNAME));
  std::string strTable = _ctlStripped(pcharN);
  if (pcharQ != nullptr) strTable = _ctlStripped(pcharQ) + "." + strTable;
  omsgsFMTEDO(ZORU492E, strTable.empty() ? "?" : strTable.c_str(), static_cast<int>(ilLobs));
  return ZORCONTROL_RC_EXPORTLOB;
}

/*
** DB2's export writes every row of the result into one file of its own DEL
** (or IXF), in the database's code page, on this host: a SELECT for it that
** asks for fewer rows, smaller files, another layout, code page or host
** would get something else with a success.  Such a SELECT is refused
** (ZORU444E, once per clause asked for, the SELECT's own or inherited
** from its block or GLOBAL).  Returns 0 or ZORCONTROL_RC_EXPORTOPT.
*/
static int _ctlExportOptions(zorcontrol *pcontrol, zortask *ptaskSelect)
{
  /* the code scheme is the site's default (codeset) unless the control file names one */
  zoratom *patomScheme = nullptr;
  for (zortask *p = ptaskSelect; p != nullptr && patomScheme == nullptr; p = p->ptaskOwner) {
    patomScheme = _ctlOwn(p, TOKEN_SCHEME);
    if (p == pcontrol->ptaskGlobal) break;
  }
  std::vector<std::string> vAsked;
  for (auto [iSlot, pcName] : {std::pair{TOKEN_MAXROWS, "MAXROWS"}, std::pair{TOKEN_SKIP, "SKIP"},
                               std::pair{TOKEN_INTERVAL, "INTERVAL"}, std::pair{TOKEN_SIZELIMIT, "SIZELIMIT"},
                               std::pair{TOKEN_FILEMAXSIZE, "FILEMAXSIZE"}})
    if (_ctlFound(ptaskSelect, iSlot) != nullptr) vAsked.push_back(pcName);
  if (_ctlNumber(_ctlFound(ptaskSelect, TOKEN_FORMAT), 0) == ZOR3YACC_FORMAT_DELIMITED)
    vAsked.push_back("FORMAT DELIMITED");
  zoratom *patomDouble = _ctlFound(ptaskSelect, TOKEN_DOUBLE_DELIM);
  if (patomDouble != nullptr && _ctlNumber(patomDouble, 1) == 0) vAsked.push_back("OPTIONS DOUBLE DELIM OFF");
  if (_ctlFound(ptaskSelect, TOKEN_CCSID) != nullptr) vAsked.push_back("CCSID");
  int32_t ilScheme = _ctlNumber(patomScheme, ZOR3YACC_ASIS);
  if (ilScheme == ZOR3YACC_ASCII) vAsked.push_back("ASCII");
  if (ilScheme == ZOR3YACC_UNICODE) vAsked.push_back("UNICODE");
  zoratom *patomOut = _ctlFound(ptaskSelect, TOKEN_OUTPUT);
  if (patomOut != nullptr && patomOut->iKind == ZORATOM_OLIST && patomOut->value.plist != nullptr) {
    bool boRemote = false, boHost = false;
    for (auto *pout = static_cast<udbOutFile *>(patomOut->value.plist->pitemTop); pout != nullptr; pout = pout->pitemNext) {
      boRemote = boRemote || (pout->ulMode & UDB_MODE_REMOTE) != 0;
      boHost = boHost || (pout->ulMode & UDB_MODE_HOST) != 0;
    }
    if (boRemote) vAsked.push_back("OUTPUT ON REMOTE HOST");
    if (boHost) vAsked.push_back("OUTPUT ON 'host' HOST");
  }
  if (vAsked.empty()) return 0;
  ochar *pcharQ = _ctlString(_ctlOwn(ptaskSelect, TOKEN_TBQUALIFIER));
  ochar *pcharN = _ctlString(_ctlOwn(ptaskSelect, TOKEN_TBNAME));
  std::string strTable = _ctlStripped(pcharN);
  if (pcharQ != nullptr) strTable = _ctlStripped(pcharQ) + "." + strTable;
  for (const std::string &str : vAsked) omsgsFMTEDO(ZORU444E, strTable.empty() ? "?" : strTable.c_str(), str.c_str());
  return ZORCONTROL_RC_EXPORTOPT;
}

int _zorcontrolZavSelect(zorcontrol *pcontrol, zortask *ptaskUnload)
{
  if (ptaskUnload->pchaineSubTasks == nullptr) return ZORCONTROL_RC_NOSELECT;
  ochaine *pchaine = ptaskUnload->pchaineSubTasks;

  /* first pass: route and resolve the tables */
  int iRc = 0;
  std::vector<zortask *> vMove;
  for (zortask *p = static_cast<zortask *>(pchaine->pitemTop); p != nullptr && iRc == 0; p = p->ptaskNext) {
    _ctlSetFallback(p);
    if ((p->ulFlags & (ZORCONTROL_FLAG_ERROR | ZORCONTROL_FLAG_DB2)) != 0) continue;
    int iRcTb = zorcontrolTBName(pcontrol, p);
    if (iRcTb == 0) continue;
    if (iRcTb == ZORCONTROL_RC_NOTINTS) {
      vMove.push_back(p);
    } else if ((p->ulFlags & ZORCONTROL_FLAG_FALLBACK) != 0) {
      p->ulFlags |= ZORCONTROL_FLAG_DB2;
    } else {
      _ctlPrintKept(p);
      ptaskUnload->ulFlags |= ZORCONTROL_FLAG_ERROR;
      iRc = iRcTb;
    }
  }
  _ctlStep("After sort natif-other", iRc);
  if (!vMove.empty()) {
    zortask *pclone = zortaskClone(ptaskUnload, 0);
    if (pclone == nullptr) return ORC_NOMEM;
    zorcontrolRemovePhysicalUnload(pcontrol, pclone);
    for (zortask *p : vMove) {
      ochaineRemoveItem(pchaine, p);
      p->ptaskNext = p->ptaskPrev = nullptr;
      int iRcAdd = zortaskAddSubTask(pclone, p);
      if (iRcAdd != 0) {
        zortaskDestroy(p);
        zortaskDestroy(pclone);
        return iRcAdd;
      }
    }
    int iRcAdd = zortaskAddSubTask(pcontrol->ptaskGlobal, pclone);
    if (iRcAdd != 0) {
      zortaskDestroy(pclone);
      return iRcAdd;
    }
    _ctlStep("After build dummy unload", 0);
  }
  if (iRc != 0) return iRc;

  /* second pass: check, fall back, prepare the output */
  for (zortask *p = static_cast<zortask *>(pchaine->pitemTop); p != nullptr && iRc == 0; p = p->ptaskNext) {
    bool boFallback = (p->ulFlags & ZORCONTROL_FLAG_FALLBACK) != 0;
    if ((p->ulFlags & (ZORCONTROL_FLAG_ERROR | ZORCONTROL_FLAG_DB2)) != 0) {
      if (!boFallback) {
        _ctlPrintKept(p);
        p->ulFlags |= ZORCONTROL_FLAG_ERROR;
        _ctlStep("After FlushDefered-2", 0);
        iRc = ZORCONTROL_RC_NOTGLOBAL;
        break;
      }
    } else {
      ctlKeep keep{0, nullptr};
      if (boFallback) keep = _ctlKeepOn(p);
      int iRcCheck = zorcontrolSelectClause(pcontrol, p);
      if (iRcCheck == ZORNODE_RC_NOPROC) omsgsFMTEDO(ZORU481E);
      _ctlStep("After ControSelectClause", iRcCheck);
      if (iRcCheck == 0) {
        iRcCheck = zorcontrolWhereClause(pcontrol, p);
        _ctlStep("After ControWhereClause", iRcCheck);
      }
      if (iRcCheck == 0) {
        iRcCheck = zorcontrolOrderBy(pcontrol, p);
        _ctlStep("After ControOrderBy", iRcCheck);
      }
      if (iRcCheck == 0) {
        iRcCheck = zorcontrolUdbGetLongSystablespace(pcontrol, p);
        _ctlStep("After GetLongSystablespace", iRcCheck);
      }
      if (boFallback) _ctlKeepOff(p, keep);
      if (iRcCheck == 0) {
        _ctlDiscardKept(p);
      } else if (boFallback) {
        p->ulFlags |= ZORCONTROL_FLAG_DB2;
      } else {
        _ctlDiscardKept(p);
        p->ulFlags |= ZORCONTROL_FLAG_ERROR;
        iRc = iRcCheck;
      }
      _ctlStep("After FlushDefered-1", iRc);
    }
    bool boExport = false;
    if (iRc == 0 && (p->ulFlags & ZORCONTROL_FLAG_DB2) != 0) {
      int iRcDb2 = _ctlDefaultQualifier(p);
      if (_ctlKeyword(_ctlFound(p, TOKEN_LOCAL)) == kiNo) {
        if (_ctlKeyword(_ctlFound(p, TOKEN_DB2)) == kiForce)
          omsgsFMTEDO(ZORU062I);
        else
          omsgsFMTEDO(ZORU063W);
      }
      boExport = _ctlNumber(_ctlFound(p, TOKEN_PTK002), 0) == 1;
      /* DB2's rows have no converters into a user layout: refused here rather
         than failing every run */
      if (iRcDb2 == 0 && _ctlNumber(_ctlFound(p, TOKEN_FORMAT), 0) == ZORCONTROL_FORMAT_USER) {
        omsgsFMTEDO(ZORU464E);
        iRcDb2 = ZORCONTROL_RC_USERDB2;
      }
      if (iRcDb2 == 0 && boExport) iRcDb2 = _ctlExportOptions(pcontrol, p);
      if (iRcDb2 == 0 && boExport) iRcDb2 = _ctlExportLobs(pcontrol, p);
      if (iRcDb2 == 0 && !boExport) iRcDb2 = zorcontrolBuildSelectDb2Clause(pcontrol, p);
      if (iRcDb2 != 0) {
        _ctlPrintKept(p);
        p->ulFlags |= ZORCONTROL_FLAG_ERROR;
        iRc = iRcDb2;
      }
    }
    /* nor rows read directly: FORMAT USER is refused here too, so that a check
       (-n) refuses what a run could not do */
    if (iRc == 0 && (p->ulFlags & (ZORCONTROL_FLAG_ERROR | ZORCONTROL_FLAG_DB2)) == 0 &&
        _ctlNumber(_ctlFound(p, TOKEN_FORMAT), 0) == ZORCONTROL_FORMAT_USER) {
      omsgsFMTEDO(ZORU463E);
      _ctlPrintKept(p);
      p->ulFlags |= ZORCONTROL_FLAG_ERROR;
      iRc = ZORCONTROL_RC_USER;
    }
    if (iRc == 0 && (p->ulFlags & ZORCONTROL_FLAG_ERROR) == 0 && !boExport) {
      int iRcFormat = _zorcontrolFormatZavSelect(pcontrol, p);
      _ctlStep("After FormatZavSelect", iRcFormat);
      if (iRcFormat != 0) {
        _ctlPrintKept(p);
        p->ulFlags |= ZORCONTROL_FLAG_ERROR;
        iRc = iRcFormat;
      }
    }
    /* the files are checked before anything runs: a run never stops half
       way on a directory that is missing or cannot be written */
    if (iRc == 0 && (p->ulFlags & ZORCONTROL_FLAG_ERROR) == 0) {
      int iRcOutputs = zorcontrolCheckOutputs(pcontrol, p);
      _ctlStep("After CheckOutputs", iRcOutputs);
      if (iRcOutputs != 0) {
        _ctlPrintKept(p);
        p->ulFlags |= ZORCONTROL_FLAG_ERROR;
        iRc = iRcOutputs;
      }
    }
    if ((p->ulFlags & ZORCONTROL_FLAG_ERROR) == 0) _ctlDiscardKept(p);
  }
  return iRc;
}

/* ------------------------------------------------------------------ table resolution */

namespace {

/* A UTF-8 copy of the string, of room for twice its length; NULL when it cannot be made. */
ochar *_ctlUtf8(const ochar *pcharFrom)
{
  if (pcharFrom == nullptr) return nullptr;
  ochar *pchar = ocharClone(pcharFrom);
  if (pchar == nullptr) return nullptr;
  if (ocharConvert(pchar, kusUtf8) != 0) {
    ocharDestroy(pchar);
    return nullptr;
  }
  return pchar;
}

bool _ctlSameUtf8(const ochar *pcharA, const ochar *pcharUtf8)
{
  ochar *pchar = _ctlUtf8(pcharA);
  bool bo = pchar != nullptr && ocharCompare(pchar, pcharUtf8, ' ') == 0;
  if (pchar != nullptr) ocharDestroy(pchar);
  return bo;
}

}  // namespace

int zorcontrolTBName(zorcontrol *pcontrol, zortask *ptaskSelect)
{
  return _zorcontrolDetermineSystable(pcontrol, ptaskSelect);
}

int _zorcontrolDetermineSystable(zorcontrol *pcontrol, zortask *ptaskSelect)
{
  zoratom *patomTs = _ctlFound(ptaskSelect, TOKEN_SYSTABLESPACE);
  ochar *pcharName = _ctlString(_ctlOwn(ptaskSelect, TOKEN_TBNAME));
  int iRc = _ctlDefaultQualifier(ptaskSelect);
  if (iRc != 0) return iRc;
  ochar *pcharQualifier = _ctlString(_ctlOwn(ptaskSelect, TOKEN_TBQUALIFIER));
  if (patomTs == nullptr || patomTs->value.psysibm == nullptr || pcharName == nullptr) return ZORCONTROL_RC_NOTINTS;
  auto *pts = reinterpret_cast<osysibmSystablespace *>(patomTs->value.psysibm);
  std::string strTsDb = _ctlStripped(pts->pcharDBNAME), strTs = _ctlStripped(pts->pcharNAME);

  if (pts->apchaine[1] == nullptr || pts->apchaine[1]->pitemTop == nullptr) {
    std::string strD = _ctlStripped(pts->pcharCREATOR);
    ctlKeep keep = _ctlKeepOn(ptaskSelect);
    omsgsFMTEDO(ZORU057E, strD.c_str(), strTs.c_str());
    _ctlKeepOff(ptaskSelect, keep);
    return ZORCONTROL_RC_EMPTYTS;
  }

  ochar *pcharNameU = _ctlUtf8(pcharName);
  ochar *pcharQualU = _ctlUtf8(pcharQualifier);
  iRc = ZORCONTROL_RC_NOTINTS;
  bool boFound = false;
  if (pcharNameU != nullptr && (pcharQualifier == nullptr || pcharQualU != nullptr)) {
    for (auto *ptable = static_cast<osysibmSystables *>(pts->apchaine[1]->pitemTop); ptable != nullptr && !boFound;
         ptable = reinterpret_cast<osysibmSystables *>(ptable->hdr.pnext)) {
      if (!_ctlSameUtf8(ptable->pcharNAME, pcharNameU) || !_ctlSameUtf8(ptable->pcharCREATOR, pcharQualU)) continue;
      osysibm *precTable = nullptr;
      if (ptable->cTYPE == 'T') {
        precTable = &ptable->hdr;
        iRc = 0;
      } else if (ptable->cTYPE == 'V') {
        iRc = _zorcontrolDetermineSystableFromView(pcontrol, ptaskSelect, pcharQualifier, pcharName, &precTable);
      } else {
        continue;
      }
      boFound = true;
      if (iRc == 0 && precTable != nullptr) {
        iRc = _ctlReplace(ptaskSelect, zoratomCreate(_ctlName(TOKEN_SYSTABLE), ZORATOM_SYSIBM, ZORATOM_BORROWED,
                                                     reinterpret_cast<uintptr_t>(precTable), nullptr, nullptr));
        if (iRc == 0) iRc = _zorcontrolBuildColTable(pcontrol, ptaskSelect, precTable);
      }
    }
  }
  if (pcharNameU != nullptr) ocharDestroy(pcharNameU);
  if (pcharQualU != nullptr) ocharDestroy(pcharQualU);
  if (!boFound) {
    std::string strQ = _ctlStripped(pcharQualifier), strN = _ctlStripped(pcharName);
    ctlKeep keep = _ctlKeepOn(ptaskSelect);
    omsgsFMTEDO(ZORU056E, strQ.c_str(), strN.c_str(), strTsDb.c_str(), strTs.c_str());
    _ctlKeepOff(ptaskSelect, keep);
    return ZORCONTROL_RC_NOTINTS;
  }
  return iRc;
}

int _zorcontrolBuildColTable(zorcontrol *, zortask *ptaskSelect, osysibm *precTable)
{
  ochaine *pchaine = ochaineCreate(44, nullptr, zorcolDestroyChaineItem);
  if (pchaine == nullptr) return ORC_NOMEM;
  auto *ptable = reinterpret_cast<osysibmSystables *>(precTable);
  if (ptable->apchaine[0] != nullptr) {
    for (auto *prec = static_cast<osysibm *>(ptable->apchaine[0]->pitemTop); prec != nullptr; prec = prec->pnext) {
      zorcol *pcol = zorcolCreateFromSyscolumn(prec);
      if (pcol == nullptr) {
        ochaineDestroy(pchaine);
        return ORC_NOMEM;
      }
      ochaineAppend(pchaine, pcol);
    }
  }
  zoratom *patom = zoratomCreate(_ctlName(TOKEN_COLTABLE), ZORATOM_OCHAINE, 0, reinterpret_cast<uintptr_t>(pchaine),
                                 nullptr, nullptr);
  if (patom == nullptr) {
    ochaineDestroy(pchaine);
    return ORC_NOMEM;
  }
  return _ctlReplace(ptaskSelect, patom);
}

/* ------------------------------------------------------------------ views */

int _zorcontrolView(zorcontrol *pcontrol, zortask *ptaskSelect, ochar *pcharName, ochar *pcharQualifier)
{
  return _zorcontrolDetermineSystableFromView(pcontrol, ptaskSelect, pcharQualifier, pcharName, nullptr);
}

namespace {

/* Children read with a view row: its definition text pieces and its dependencies. */
const odb2x2ObidList kaViewChildren[] = {{OSYSIBM_SYSVTREE, nullptr},
                                         {OSYSIBM_SYSVIEWS, nullptr},
                                         {OSYSIBM_SYSVIEWDEP, nullptr},
                                         {0, nullptr}};

/* Blank-padded copy of the text, cut or padded to iLength bytes. */
std::string _ctlPadded(const ochar *pchar, size_t ulLength)
{
  std::string str = _ctlText(pchar);
  str.resize(ulLength, ' ');
  return str;
}

/*
** Reads the view's row from the stored catalogue: its definition text
** ("DDL " and the pieces in order) and the qualifier of its one base
** table.  Returns 0, 0x103a004 when the view is not stored, 0x1039001
** when it is not built on exactly one table.
*/
int _ctlReadView(zortask *ptaskSelect, const ochar *pcharQualifier, const ochar *pcharName, std::string &strText,
                 std::string &strBaseQualifier)
{
  std::string strKey = _ctlPadded(pcharQualifier, 8) + _ctlPadded(pcharName, 18);
  std::string strSsid = _ctlStripped(_ctlString(_ctlFound(ptaskSelect, TOKEN_SSID)));
  /* the stored-catalogue handle is opened once and stays open for the next lookups */
  static odb2x2 *gphandleView = nullptr;
  if (gphandleView == nullptr)
    gphandleView = odb2x2Create(strSsid.empty() ? nullptr : strSsid.c_str(), "ZORIX02 ", "ZORTS02 ");
  odb2x2 *phandle = gphandleView;
  if (phandle == nullptr) return ZORCONTROL_RC_NOVIEW;
  odb2x2Iterator iter;
  std::memset(&iter, 0, sizeof(iter));
  if (odb2x2IteratorInit(&iter, phandle, 76, strKey.data(), static_cast<int32_t>(strKey.size()), kaViewChildren) !=
      0) {
    odb2x2IteratorDestroy(&iter);
    return ZORCONTROL_RC_NOVIEW;
  }
  ochaine *pchaineRows = odb2x2IteratorGetFullConvert(&iter, nullptr);
  odb2x2IteratorDestroy(&iter);
  if (pchaineRows == nullptr) return ZORCONTROL_RC_NOVIEW;

  int iRc = ZORCONTROL_RC_VIEWDEF;
  auto *pvtree = static_cast<osysibmSysvtree *>(pchaineRows->pitemTop);
  ochaine *pchaineDeps = pvtree != nullptr ? pvtree->apchaine[2] : nullptr;
  ochaine *pchaineText = pvtree != nullptr ? pvtree->apchaine[1] : nullptr;
  if (pchaineDeps != nullptr && pchaineDeps->iItemCount == 1) {
    auto *pdep = static_cast<osysibmSysviewdep *>(pchaineDeps->pitemTop);
    if (pdep->cBTYPE == 'T') {
      strBaseQualifier = _ctlStripped(pdep->pcharBCREATOR);
      strText = "DDL ";
      if (pchaineText != nullptr)
        for (auto *ppiece = static_cast<osysibmSysviews *>(pchaineText->pitemTop); ppiece != nullptr;
             ppiece = reinterpret_cast<osysibmSysviews *>(ppiece->hdr.pnext))
          strText += _ctlText(ppiece->pcharTEXT);
      iRc = 0;
    }
  }
  ochaineDestroy(pchaineRows);
  return iRc;
}

/* Parses a view text; returns the parse's GLOBAL task (view tasks below it), or NULL when it is unusable. */
zortask *_ctlParseView(std::string &strText)
{
  if (gpzcFileDebug != nullptr) omsgsTraceTo(OMSGS_DEBUG_KEYWORD, "%s\n", strText.c_str());
  ostream *pstream = ostreamCreateFromBuffer(strText.data(), static_cast<int32_t>(strText.size()));
  if (pstream == nullptr) return nullptr;
  oyacc yacc;
  if (oyaccInitItemized(&yacc, aplexContextDefDb2, pstream, gwcLitteral, gwcQualified, gwcDecimal, gccsidSBCS,
                        gccsidMixed, gccsidDBCS, gboMixed) != 0) {
    ostreamDestroy(pstream);
    return nullptr;
  }
  int iRc = zordyyparse(&yacc);
  int32_t iLevel = yacc.iErrorLevel;
  zortask *ptaskResult = yacc.ptaskResult;
  yacc.ptaskResult = nullptr;
  oyaccDelete(&yacc);
  omsgsTrace("_ctlParseView: zordyyparse %d, error level %d\n", iRc, static_cast<int>(iLevel));
  if (iRc != 0 || iLevel != 0 || ptaskResult == nullptr || ptaskResult->pchaineSubTasks == nullptr ||
      ptaskResult->pchaineSubTasks->pitemTop == nullptr) {
    if (ptaskResult != nullptr) _ctlDestroyTree(ptaskResult);
    return nullptr;
  }
  return ptaskResult;
}

}  // namespace

int _zorcontrolDetermineSystableFromView(zorcontrol *pcontrol, zortask *ptaskSelect, ochar *pcharQualifier,
                                         ochar *pcharName, osysibm **pprecBase)
{
  std::string strText, strBaseQualifier;
  int iRc = _ctlReadView(ptaskSelect, pcharQualifier, pcharName, strText, strBaseQualifier);
  omsgsTrace("_zorcontrolDetermineSystableFromView: read 0x%x\n", iRc);
  if (iRc != 0) return iRc;
  zortask *ptaskView = nullptr;
  zortask *ptaskResult = _ctlParseView(strText);
  if (ptaskResult == nullptr) return ZORCONTROL_RC_VIEWDEF;
  if (pprecBase == nullptr) {
    _ctlDestroyTree(ptaskResult);
    return 0;
  }
  ptaskView = static_cast<zortask *>(ptaskResult->pchaineSubTasks->pitemTop);
  /* the view's lookups climb to the SELECT's values (SQLID, DBNAME, ...) */
  ptaskResult->ptaskOwner = ptaskSelect;

  iRc = 0;
  if (_ctlOwn(ptaskView, TOKEN_TBQUALIFIER) == nullptr) {
    ochar *pcharBase = ocharCreate(0, 850);
    if (pcharBase == nullptr) iRc = ORC_NOMEM;
    if (iRc == 0 && ocharAppendFixedS(pcharBase, strBaseQualifier.data(),
                                      static_cast<int32_t>(strBaseQualifier.size())) != 0)
      iRc = ORC_NOMEM;
    if (iRc == 0) iRc = _ctlAddCopy(ptaskView, TOKEN_TBQUALIFIER, pcharBase);
    if (pcharBase != nullptr) ocharDestroy(pcharBase);
  }
  if (iRc == 0) iRc = zorcontrolGetTSFromTB(pcontrol, ptaskView, ptaskView, 0);
  for (int iSlot : {TOKEN_SSID, TOKEN_SYSTABLESPACE}) {
    zoratom *patom = _ctlFound(ptaskSelect, iSlot);
    if (iRc == 0 && patom != nullptr) iRc = _ctlAdd(ptaskView, zoratomClone(patom));
  }
  if (iRc == 0) iRc = _zorcontrolDetermineSystable(pcontrol, ptaskView);
  _ctlDiscardKept(ptaskView);
  zoratom *patomTable = _ctlOwn(ptaskView, TOKEN_SYSTABLE);
  if (iRc == 0 && patomTable == nullptr) iRc = ZORCONTROL_RC_VIEWDEF;
  if (iRc == 0) iRc = zorcontrolSelectClause(pcontrol, ptaskView);
  if (iRc == 0) {
    *pprecBase = patomTable->value.psysibm;
    olist *plist = zorcolBuildMatchList(_ctlChaine(_ctlOwn(ptaskView, TOKEN_VIEW)),
                                        _ctlChaine(_ctlOwn(ptaskView, TOKEN_SELECT)), &iRc);
    if (plist == nullptr) {
      iRc = ZORCONTROL_RC_VIEWDEF;
    } else {
      zoratom *patom = zoratomCreate(_ctlName(TOKEN_VIEW), ZORATOM_OLIST, 0, reinterpret_cast<uintptr_t>(plist),
                                     nullptr, nullptr);
      if (patom == nullptr) olistDestroy(plist);
      iRc = _ctlReplace(ptaskSelect, patom);
    }
  }
  ptaskResult->ptaskOwner = nullptr;
  _ctlDestroyTree(ptaskResult);
  if (iRc != 0) {
    omsgsTrace("_zorcontrolDetermineSystableFromView: resolution failed 0x%x\n", iRc);
    return ZORCONTROL_RC_VIEWDEF;
  }
  return 0;
}

/* ------------------------------------------------------------------ clauses */

/* The qualified name of the SELECT's table, for ZORU024E. */
static void _ctlNameTable(zortask *ptaskSelect)
{
  ochar *pcharQualifier = _ctlString(_ctlOwn(ptaskSelect, TOKEN_TBQUALIFIER));
  if (pcharQualifier == nullptr) pcharQualifier = _ctlString(_ctlFound(ptaskSelect, TOKEN_SQLID));
  std::string strTable = _ctlStripped(_ctlString(_ctlOwn(ptaskSelect, TOKEN_TBNAME)));
  if (pcharQualifier != nullptr && !strTable.empty()) strTable = _ctlStripped(pcharQualifier) + "." + strTable;
  zornodeCheckSetTable(strTable.c_str());
}

int zorcontrolSelectClause(zorcontrol *, zortask *ptaskSelect)
{
  _ctlNameTable(ptaskSelect);
  ochaine *pchaineColTable = _ctlChaine(_ctlOwn(ptaskSelect, TOKEN_COLTABLE));
  ochaine *pchaineSelect = _ctlChaine(_ctlOwn(ptaskSelect, TOKEN_SELECT));
  if (pchaineSelect == nullptr) return ORC_INVALID;
  olist *plistView = _ctlViewList(ptaskSelect);

  if (pchaineSelect->pData != ZORDYACC_SELECT_STAR) {
    for (auto *pcol = static_cast<zorcol *>(pchaineSelect->pitemTop); pcol != nullptr; pcol = pcol->pcolNext) {
      int iRc = _ctlCheckColumn(pcol, plistView, pchaineColTable, true);
      if (iRc != 0) return iRc;
    }
    return 0;
  }
  if (plistView != nullptr) {
    int32_t iNumber = 0;
    for (auto *pref = static_cast<olistRef *>(plistView->pitemTop); pref != nullptr;
         pref = static_cast<olistRef *>(pref->pitemNext)) {
      auto *patom = static_cast<zoratom *>(pref->pData);
      if (patom == nullptr || patom->value.pcol == nullptr) continue;
      zorcol *pcol = zorcolClone(patom->value.pcol);
      if (pcol == nullptr) return ORC_NOMEM;
      pcol->iNumber = ++iNumber;
      ochaineAppend(pchaineSelect, pcol);
      int iRc = _ctlCheckColumn(pcol, plistView, pchaineColTable, false);
      if (iRc != 0) return iRc;
    }
    return 0;
  }
  int iRc = 0;
  int32_t iNumber = 0;
  if (pchaineColTable == nullptr) return 0;
  for (auto *pcolTable = static_cast<zorcol *>(pchaineColTable->pitemTop); pcolTable != nullptr;
       pcolTable = pcolTable->pcolNext) {
    zorcol *pcol = zorcolClone(pcolTable);
    if (pcol == nullptr) return ORC_NOMEM;
    pcol->iNumber = ++iNumber;
    ochaineAppend(pchaineSelect, pcol);
    if (pcol->pnodeExpr != nullptr) iRc = _ctlCheck(pcol->pnodeExpr, pchaineColTable);
  }
  return iRc;
}

int zorcontrolWhereClause(zorcontrol *, zortask *ptaskSelect)
{
  zoratom *patom = _ctlOwn(ptaskSelect, TOKEN_WHERE);
  if (patom == nullptr || patom->value.pnode == nullptr) return 0;
  zornode *pnode = patom->value.pnode;
  _ctlNameTable(ptaskSelect);
  olist *plistView = _ctlViewList(ptaskSelect);
  int iRc = plistView != nullptr ? zornodeSubstituteView(pnode, plistView) : 0;
  if (iRc == 0) iRc = _ctlCheck(pnode, _ctlChaine(_ctlOwn(ptaskSelect, TOKEN_COLTABLE)));
  if (iRc == ZORNODE_RC_NOPROC) {
    omsgsFMTEDO(ZORU364E);
    return ZORCONTROL_RC_WHEREOP;
  }
  if (iRc == 0 && pnode->usCtrlType != 0x1001) {
    omsgsFMTEDO(ZORU048E);
    return ZORCONTROL_RC_NOTBOOLEAN;
  }
  return iRc;
}

int zorcontrolOrderBy(zorcontrol *, zortask *ptaskSelect)
{
  if (_ctlOwn(ptaskSelect, TOKEN_ORDER) == nullptr) return 0;
  omsgsFMTEDO(ZORU380E);
  return ZORCONTROL_RC_ORDERBY;
}

int zorcontrolBuildSelectDb2Clause(zorcontrol *pcontrol, zortask *ptaskSelect)
{
  ochar *pcharSql = _ctlString(_ctlOwn(ptaskSelect, TOKEN_SELECTSQL));
  int iRc = zorcontrolUdbGetColDescription(pcontrol, ptaskSelect, pcharSql);
  if (iRc == 0) iRc = zorcontrolSelectClause(pcontrol, ptaskSelect);
  return iRc;
}
