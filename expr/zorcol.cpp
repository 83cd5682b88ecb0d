/*
** zorcol.cpp
**   Column descriptors: constructors from catalogue records, from DB2 CLI
**   result descriptions and from SQLDA entries; copy, destruction and debug
**   print; resolution of a column reference against a column chain; default
**   names; the match list of a view.  See zorcol.h for the descriptor.
*/
#include "expr/zorcol.h"

#include <cstdlib>
#include <cstring>

#include "model/osysibm.h"
#include "common/ochaine.h"
#include "common/ochar.h"
#include "common/ocnvft.h"
#include "common/olist.h"
#include "model/token.h"
#include "model/zoratom.h"
#include "model/zormsgs.h"
#include "expr/zornode.h"
#include "expr/zornodechk.h"

#define OMSGS_TRACE_KEYWORD "$COL"
#define OMSGS_DEBUG_KEYWORD "$COLD"
#include "common/omsgsmod.h"

/* Set while zorcolPrint dumps an expression, so that nested columns print no expression of their own. */
static int giColPrintExpr = 0;

/* --------------------------------------------------------------- helpers */

/* New CCSID-850 string holding ilLength bytes of pcText; NULL when memory runs out. */
static ochar *_colCreateName(const char *pcText, int32_t ilLength)
{
  ochar *pchar = ocharCreate(0, OCHAR_CCSID_ASCII);
  if (pchar == nullptr) return nullptr;
  if (ilLength > 0 && ocharAppendFixedS(pchar, pcText, ilLength) != 0) {
    ocharDestroy(pchar);
    return nullptr;
  }
  if (ocharMakeC(pchar) != 0) {
    ocharDestroy(pchar);
    return nullptr;
  }
  return pchar;
}

/* Sets the CCSID and replaces the class bits by those of the raw CCSID; the CCSID is then substituted. */
static void _colSetCcsid(zorcol *pcol, uint16_t usCCSID)
{
  pcol->usFlags = static_cast<uint16_t>((pcol->usFlags & ~ZORCOL_CLASS) | ocharDetermineBCS(usCCSID));
  pcol->sCCSID = static_cast<int16_t>(ocnvftSubstInternal(usCCSID));
}

/*
** The column-reference node of a table or result column: kind column,
** code = the internal type id (NODE_CTUNK for a type that could not be
** read), over a copy of the descriptor made now (so without expression).
** Returns 0 or ORC_NOMEM.
*/
static int _colSetSelfReference(zorcol *pcol)
{
  zorcol *pcolCopy = zorcolClone(pcol);
  if (pcolCopy == nullptr) return ORC_NOMEM;
  pcolCopy->pcolNext = pcolCopy->pcolPrev = nullptr;
  int iCode = (pcol->iType & 0xFF) != 0 ? (pcol->iType & 0xFF) : NODE_CTUNK;
  zornode *pnode = zornodeCreate(ZORNODE_VAR, iCode, pcolCopy, nullptr, 0, nullptr, nullptr);
  if (pnode == nullptr) {
    zorcolDestroy(pcolCopy);
    return ORC_NOMEM;
  }
  pcol->pnodeExpr = pnode;
  return 0;
}

/* The column that a column-reference node refers to, or NULL. */
static const zorcol *_colReferenced(const zornode *pnode)
{
  if (pnode == nullptr || pnode->sKind != ZORNODE_VAR || (pnode->usStatus & NODE_SUBS)) return nullptr;
  return static_cast<const zorcol *>(pnode->pLeft);
}

/* ----------------------------------------------------------- constructors */

zorcol *zorcolCreate(ochar *pcharName, int32_t iNumber, zornode *pnodeExpr, uint16_t usFlags)
{
  zorcol *pcol = static_cast<zorcol *>(std::calloc(1, sizeof(zorcol)));
  if (pcol == nullptr) return nullptr;
  if (pcharName == nullptr) {
    const zorcol *pcolRef = _colReferenced(pnodeExpr);
    if (pcolRef != nullptr && pcolRef->pcharName != nullptr) {
      pcharName = ocharClone(pcolRef->pcharName);
      if (pcharName == nullptr) {
        std::free(pcol);
        return nullptr;
      }
    }
  }
  pcol->pcharName = pcharName;
  pcol->iNumber = iNumber;
  pcol->pnodeExpr = pnodeExpr;
  pcol->usFlags = usFlags;
  return pcol;
}

zorcol *zorcolCreateFromSyscolumn(const osysibm *prec)
{
  if (prec == nullptr) return nullptr;
  const osysibmSyscolumns *psys = reinterpret_cast<const osysibmSyscolumns *>(prec);
  zorcol *pcol = static_cast<zorcol *>(std::calloc(1, sizeof(zorcol)));
  if (pcol == nullptr) return nullptr;

  /* 1. name, type, default value */
  if (psys->pcharNAME != nullptr && (pcol->pcharName = ocharClone(psys->pcharNAME)) == nullptr) goto nomem;
  if (psys->pcharDEFAULTVALUE != nullptr && (pcol->pcharDefault = ocharClone(psys->pcharDEFAULTVALUE)) == nullptr)
    goto nomem;
  {
    int iType = psys->iTypeId;
    int32_t ilLength = psys->sLENGTH, ilScale = psys->sSCALE;

    /* 2. CCSID and its class */
    _colSetCcsid(pcol, static_cast<uint16_t>(psys->sCOMPOSITE_CODEPAGE));

    /* 3. a distinct type stands for its source type when the registry knows it */
    if (iType == ZORCOL_T_DISTINCT) {
      const osysibmSysdatatypes *pdt = psys->iDATATYPEID != 0 ? osysibmGetSysDatatypes(psys->iDATATYPEID) : nullptr;
      if (pdt == nullptr) pdt = osysibmGetSysDatatypes(ZORCOL_T_DISTINCT);
      if (pdt != nullptr && pdt->iSOURCETYPEID >= ZORCOL_T_SMALLINT && pdt->iSOURCETYPEID <= ZORCOL_T_DBCLOB) {
        iType = pdt->iSOURCETYPEID;
        ilLength = pdt->iLENGTH;
        ilScale = pdt->sSCALE;
      } else {
        iType = ZORCOL_T_UNKNOWN;
      }
    }
    if (iType < ZORCOL_T_SMALLINT || iType > ZORCOL_T_ROWID) {
      omsgsTrace("column %.*s: type %d (COLTYPE %.*s) cannot be read directly\n",
                 psys->pcharNAME ? psys->pcharNAME->ilBU : 0, psys->pcharNAME ? _charText(psys->pcharNAME) : "",
                 psys->iTypeId, psys->pcharCOLTYPE ? psys->pcharCOLTYPE->ilBU : 0,
                 psys->pcharCOLTYPE ? _charText(psys->pcharCOLTYPE) : "");
      iType = ZORCOL_T_UNKNOWN;
    }
    pcol->iType = iType;
    if (iType == ZORCOL_T_DECIMAL) {
      pcol->iSubType = ilLength << 8 | ilScale;
      pcol->iLength = ilLength / 2 + 1;
    } else {
      pcol->iSubType = pcol->iLength = ilLength;
    }

    switch (iType) {
      case ZORCOL_T_CHAR:     /* 4. character data without composite code page: CODEPAGE */
      case ZORCOL_T_VARCHAR:
      case ZORCOL_T_LONGVAR:
      case ZORCOL_T_CLOB:
        if (pcol->sCCSID == 0) _colSetCcsid(pcol, static_cast<uint16_t>(psys->sCODEPAGE));
        break;
      case ZORCOL_T_GRAPHIC:  /* 5. graphic data: DBCSCODEPG */
      case ZORCOL_T_VARGRAPHIC:
      case ZORCOL_T_LONGVARG:
      case ZORCOL_T_DBCLOB:
        _colSetCcsid(pcol, static_cast<uint16_t>(psys->sDBCSCODEPG));
        if (pcol->sCCSID == 964 || pcol->sCCSID == 1200 || pcol->sCCSID == 5050) pcol->sCCSID = 13488;
        break;
      default:
        break;
    }
    switch (iType) {
      case ZORCOL_T_BLOB:     /* 6. LOBs: the long length */
      case ZORCOL_T_CLOB:
      case ZORCOL_T_DBCLOB:
      case ZORCOL_T_ROWID:
        pcol->iSubType = pcol->iLength = psys->iLENGTH2;
        break;
      case ZORCOL_T_DATE:     /* 7. dates and times: their stored lengths */
        pcol->iSubType = 0;
        pcol->iLength = 4;
        break;
      case ZORCOL_T_TIME:
        pcol->iSubType = 0;
        pcol->iLength = 3;
        break;
      case ZORCOL_T_TIMESTAMP:
        pcol->iSubType = 0;
        pcol->iLength = 10;
        break;
      default:
        break;
    }
  }

  /* 8. number, nullability, column variable */
  pcol->iDb2Number = psys->sCOLNO;
  if (psys->cNULLS == 'Y') pcol->usFlags |= ZORCOL_NULL;
  pcol->usFlags |= ZORCOL_VAR;

  /* 9. the column refers to itself */
  if (_colSetSelfReference(pcol) != 0) goto nomem;
  return pcol;

nomem:
  zorcolDestroy(pcol);
  return nullptr;
}

zorcol *zorcolCreateFromColDescription(int iIndex, const char *pcName, int iSqlType,
                                       int32_t ilPrecision, int iScale, int32_t ilSize,
                                       int iNullable, uint16_t usCCSID, int iNaming,
                                       int *piLobCount)
{
  zorcol *pcol = static_cast<zorcol *>(std::calloc(1, sizeof(zorcol)));
  if (pcol == nullptr) return nullptr;
  pcol->iNumber = pcol->iDb2Number = iIndex + 1;
  int iType = osysibmSql2Internal(iSqlType);
  pcol->iType = iType > 0 ? iType : ZORCOL_T_UNKNOWN;
  /*
  ** CLI gives every result column the connection's code page; only text
  ** columns hold text in it.  Numbers, dates, times, timestamps and BLOBs
  ** have no code page, as their catalogue descriptions say on the direct
  ** path, so both paths describe them alike (class and CCSID of 0).
  */
  bool boText = false;
  switch (pcol->iType) {
    case ZORCOL_T_CHAR: case ZORCOL_T_VARCHAR: case ZORCOL_T_LONGVAR: case ZORCOL_T_CLOB:
    case ZORCOL_T_GRAPHIC: case ZORCOL_T_VARGRAPHIC: case ZORCOL_T_LONGVARG: case ZORCOL_T_DBCLOB:
    case ZORCOL_T_UNKNOWN:
      boText = true;
      break;
    default:
      break;
  }
  if (!boText) usCCSID = 0;
  pcol->usFlags = static_cast<uint16_t>(ocharDetermineBCS(usCCSID) | ZORCOL_VAR | (iNullable == 1 ? ZORCOL_NULL : 0));

  switch (pcol->iType) {
    case ZORCOL_T_DECIMAL:
      pcol->iSubType = ilPrecision << 8 | iScale;
      pcol->iLength = ilPrecision / 2 + 1;
      pcol->sCCSID = static_cast<int16_t>(usCCSID);
      break;
    case ZORCOL_T_DATE:
      pcol->iSubType = 10;
      pcol->iLength = 67;
      break;
    case ZORCOL_T_TIME:
      pcol->iSubType = 8;
      pcol->iLength = 65;
      break;
    case ZORCOL_T_TIMESTAMP:
      pcol->iSubType = 26;
      pcol->iLength = 66;
      break;
    case ZORCOL_T_BLOB:
      pcol->iSubType = pcol->iLength = ZORCOL_CLI_LOB_LENGTH;
      if (piLobCount != nullptr) ++*piLobCount;
      break;
    case ZORCOL_T_CLOB:
    case ZORCOL_T_DBCLOB:
      pcol->iSubType = pcol->iLength = ZORCOL_CLI_LOB_LENGTH;
      pcol->sCCSID = static_cast<int16_t>(usCCSID);
      if (piLobCount != nullptr) ++*piLobCount;
      break;
    default:
      pcol->iSubType = pcol->iLength = ilSize;
      pcol->sCCSID = static_cast<int16_t>(usCCSID);
      break;
  }

  int rc = 0;
  if (iNaming == 0) {
    if (pcName != nullptr) {
      pcol->pcharName = _colCreateName(pcName, static_cast<int32_t>(std::strlen(pcName)));
      if (pcol->pcharName == nullptr) rc = ORC_NOMEM;
    }
  } else if (iNaming == 1) {
    rc = zorcolBuildDefaultName(pcol);
  }
  if (rc == 0) rc = _colSetSelfReference(pcol);
  if (rc != 0) {
    zorcolDestroy(pcol);
    return nullptr;
  }
  return pcol;
}

/* One SQLDA entry as DB2 lays it out in memory (pointers at the machine's width). */
struct _colSqlvar {
  int16_t  sSqlType;
  int16_t  sSqlLen;
  char    *pcSqlData;
  int16_t *psSqlInd;
  int16_t  sNameLength;
  char     acName[30];
};
#define ZORCOL_SQLDA_HEADER 16

zorcol *zorcolCreateFromSqlda(const void *pSqlda, int iIndex)
{
  if (pSqlda == nullptr || iIndex < 0) return nullptr;
  _colSqlvar var;
  std::memcpy(&var, static_cast<const char *>(pSqlda) + ZORCOL_SQLDA_HEADER + sizeof(_colSqlvar) * iIndex,
              sizeof var);
  zorcol *pcol = static_cast<zorcol *>(std::calloc(1, sizeof(zorcol)));
  if (pcol == nullptr) return nullptr;

  int iType = osysibmSql2Internal(var.sSqlType);
  pcol->iType = iType > 0 ? iType : ZORCOL_T_UNKNOWN;
  if (var.sSqlType & 1) pcol->usFlags |= ZORCOL_NULL;
  uint16_t usCCSID = 0;
  if (var.pcSqlData != nullptr) std::memcpy(&usCCSID, var.pcSqlData, sizeof usCCSID);
  pcol->sCCSID = static_cast<int16_t>(usCCSID);
  pcol->usFlags |= static_cast<uint16_t>(ocharDetermineBCS(usCCSID));
  pcol->iNumber = pcol->iDb2Number = iIndex + 1;

  uint16_t usLenWord = static_cast<uint16_t>(var.sSqlLen);
  switch (pcol->iType) {
    case ZORCOL_T_DECIMAL:
      pcol->iSubType = usLenWord;
      pcol->iLength = (usLenWord >> 8) / 2 + 1;
      break;
    case ZORCOL_T_DATE:
    case ZORCOL_T_TIME:
    case ZORCOL_T_TIMESTAMP:
      pcol->iSubType = 0;
      pcol->sCCSID = 0;
      pcol->usFlags &= static_cast<uint16_t>(~ZORCOL_CLASS);
      pcol->iLength = pcol->iType == ZORCOL_T_DATE ? 4 : pcol->iType == ZORCOL_T_TIME ? 3 : 10;
      break;
    default:
      pcol->iSubType = pcol->iLength = usLenWord;
      break;
  }

  int rc = 0;
  if (var.sNameLength > 0) {
    int32_t ilName = var.sNameLength > 30 ? 30 : var.sNameLength;
    pcol->pcharName = _colCreateName(var.acName, ilName);
    if (pcol->pcharName == nullptr) rc = ORC_NOMEM;
  } else {
    rc = zorcolBuildDefaultName(pcol);
  }
  if (rc == 0) rc = _colSetSelfReference(pcol);
  if (rc != 0) {
    zorcolDestroy(pcol);
    return nullptr;
  }
  return pcol;
}

/* ----------------------------------------------------- copy and destroy */

zorcol *zorcolClone(const zorcol *pcol)
{
  if (pcol == nullptr) return nullptr;
  zorcol *pcopy = static_cast<zorcol *>(std::malloc(sizeof(zorcol)));
  if (pcopy == nullptr) return nullptr;
  *pcopy = *pcol;
  pcopy->pcharName = nullptr;
  pcopy->pcharDefault = nullptr;
  pcopy->pnodeExpr = nullptr;
  if ((pcol->pcharName != nullptr && (pcopy->pcharName = ocharClone(pcol->pcharName)) == nullptr) ||
      (pcol->pcharDefault != nullptr && (pcopy->pcharDefault = ocharClone(pcol->pcharDefault)) == nullptr) ||
      (pcol->pnodeExpr != nullptr && (pcopy->pnodeExpr = zornodeClone(pcol->pnodeExpr)) == nullptr)) {
    zorcolDestroy(pcopy);
    return nullptr;
  }
  return pcopy;
}

void zorcolDestroy(zorcol *pcol)
{
  if (pcol == nullptr) return;
  ocharDestroy(pcol->pcharName);
  zornodeDestroy(pcol->pnodeExpr);
  ocharDestroy(pcol->pcharDefault);
  std::free(pcol);
}

void zorcolDestroyChaineItem(ochaine *pchaine, void *pitem)
{
  (void)pchaine;
  zorcolDestroy(static_cast<zorcol *>(pitem));
}

/* ------------------------------------------------------------------ print */

void zorcolChainePrint(ochaine *pchaine, void *pitem, FILE *pfile, int iLength)
{
  (void)pchaine;
  (void)iLength;
  zorcolPrint(static_cast<const zorcol *>(pitem), pfile);
}

int zorcolPrint(const zorcol *pcol, FILE *pfile)
{
  if (pfile == nullptr || pcol == nullptr) return 0;
  static const struct {
    uint16_t usBit;
    const char *pcName;
  } aFlags[] = {{ZORCOL_ORDER_ASC, "ORDER_ASC"}, {ZORCOL_ORDER_DESC, "ORDER_DESC"}, {ZORCOL_NULL, "NULL"},
                {ZORCOL_CSTE, "CSTE"}, {ZORCOL_VAR, "VAR"}, {ZORCOL_OPRT, "OPRT"}, {ZORCOL_SBCS, "SBCS"},
                {ZORCOL_DBCS, "DBCS"}, {ZORCOL_VBCS, "VBCS"}, {ZORCOL_FBD, "FBD"}};
  FILE *pf = pfile;
  std::fprintf(pfile, "\n     ZORCOL:Numero %i\n", pcol->iNumber);
  if (pcol->pcharName != nullptr) ocharDump2(0, &pf, pcol->pcharName, 8);
  std::fprintf(pfile, "    Flags %x=", pcol->usFlags);
  for (const auto &f : aFlags)
    if (pcol->usFlags & f.usBit) std::fprintf(pfile, "%s ", f.pcName);
  std::fprintf(pfile, "\n");
  std::fprintf(pfile, "    Numero DB2 %d\n", pcol->iDb2Number);
  std::fprintf(pfile, "    Type %x\n", pcol->iType);
  std::fprintf(pfile, "    SubType 0x%x\n", pcol->iSubType);
  std::fprintf(pfile, "    Length %d\n", pcol->iLength);
  std::fprintf(pfile, "    Ccsid %hd\n", pcol->sCCSID);
  std::fprintf(pfile, "    Expression %p\n", static_cast<const void *>(pcol->pnodeExpr));
  if (pcol->pcharDefault != nullptr) {
    std::fprintf(pfile, "\n     Valeur par defaut :\n");
    ocharDump2(0, &pf, pcol->pcharDefault, 8);
  } else {
    std::fprintf(pfile, "Pas de valeur par defaut\n");
  }
  if (pcol->pnodeExpr != nullptr && !giColPrintExpr) {
    giColPrintExpr = 1;
    std::fprintf(pfile, "-------------->\n");
    zornodePrint(pcol->pnodeExpr, pfile, 0);
    std::fprintf(pfile, "<--------------\n");
    giColPrintExpr = 0;
  }
  return 0;
}

/* ------------------------------------------------- resolution and naming */

int zorcolCheckVariable(zorcol *pcolRef, const ochaine *pchaine)
{
  if (pcolRef == nullptr || pchaine == nullptr) return ZORCOL_RC_NOCOLUMN;
  for (const zorcol *pcol = static_cast<const zorcol *>(pchaine->pitemTop); pcol != nullptr; pcol = pcol->pcolNext) {
    bool boByName = pcol->pcharName != nullptr && pcolRef->pcharName != nullptr;
    if (boByName) {
      if (ocharCompare(pcolRef->pcharName, pcol->pcharName, ' ') != 0) continue;
    } else if (pcol->iNumber != pcolRef->iNumber) {
      continue;
    }
    ochar *pcharName = nullptr, *pcharDefault = nullptr;
    if (pcolRef->pcharName == nullptr && pcol->pcharName != nullptr &&
        (pcharName = ocharClone(pcol->pcharName)) == nullptr)
      return ORC_NOMEM;
    if (pcolRef->pcharDefault == nullptr && pcol->pcharDefault != nullptr &&
        (pcharDefault = ocharClone(pcol->pcharDefault)) == nullptr) {
      ocharDestroy(pcharName);
      return ORC_NOMEM;
    }
    if (boByName) pcolRef->iNumber = pcol->iNumber;
    pcolRef->sCCSID = pcol->sCCSID;
    pcolRef->iSubType = pcol->iSubType;
    pcolRef->iLength = pcol->iLength;
    pcolRef->iDb2Number = pcol->iDb2Number;
    pcolRef->iType = pcol->iType;
    pcolRef->usFlags |= pcol->usFlags;
    if (pcharName != nullptr) pcolRef->pcharName = pcharName;
    if (pcharDefault != nullptr) pcolRef->pcharDefault = pcharDefault;
    return 0;
  }
  return ZORCOL_RC_NOCOLUMN;
}

int zorcolBuildDefaultName(zorcol *pcol)
{
  if (pcol == nullptr) return ORC_INVALID;
  if (pcol->pcharName != nullptr) return 0;
  const zorcol *pcolRef = _colReferenced(pcol->pnodeExpr);
  if (pcolRef != nullptr && pcolRef->pcharName != nullptr) {
    pcol->pcharName = ocharClone(pcolRef->pcharName);
  } else {
    char acName[24];
    int iLength = std::snprintf(acName, sizeof acName, "COL%3.3i", pcol->iNumber);
    pcol->pcharName = _colCreateName(acName, iLength);
  }
  return pcol->pcharName != nullptr ? 0 : ORC_NOMEM;
}

/* ------------------------------------------------------------ match list */

/* Print callback of match lists: the atom of the node. */
static void _colMatchPrint(olist *plist, void *pitem, FILE *pfile, int iLength)
{
  (void)plist;
  (void)iLength;
  zoratomPrint(static_cast<const zoratom *>(static_cast<olistRef *>(pitem)->pData), pfile);
}

/* Appends one MATCHCOL atom of copies of the two columns.  Returns 0 or ORC_NOMEM. */
static int _colAppendMatch(olist *plist, const zorcol *pcolView, const zorcol *pcolBase)
{
  zorcol *pcopyView = zorcolClone(pcolView);
  zorcol *pcopyBase = zorcolClone(pcolBase);
  zoratom *patom = nullptr;
  if (pcopyView != nullptr && pcopyBase != nullptr) {
    pcopyView->pcolNext = pcopyView->pcolPrev = pcopyBase->pcolNext = pcopyBase->pcolPrev = nullptr;
    patom = zoratomCreateMatchCol(gapnameTotalToken[TOKEN_VIEW], pcopyView, pcopyBase, nullptr, nullptr);
  }
  if (patom == nullptr) {
    zorcolDestroy(pcopyView);
    zorcolDestroy(pcopyBase);
    return ORC_NOMEM;
  }
  size_t ulBefore = static_cast<size_t>(plist->iItemCount);
  olistAppendRef(plist, patom, 1);
  if (static_cast<size_t>(plist->iItemCount) == ulBefore) {
    zoratomDestroy(patom);
    return ORC_NOMEM;
  }
  return 0;
}

olist *zorcolBuildMatchList(const ochaine *pchaineView, const ochaine *pchaineSelect, int *prc)
{
  int iDummy;
  if (prc == nullptr) prc = &iDummy;
  *prc = 0;
  olistRefCloneProc procClone = zoratomClone;
  olist *plist = olistCreateRef(procClone, zoratomDestroy);
  if (plist == nullptr) {
    *prc = ORC_NOMEM;
    return nullptr;
  }
  plist->procPrintItem = _colMatchPrint;

  const zorcol *pcolSelect = pchaineSelect ? static_cast<const zorcol *>(pchaineSelect->pitemTop) : nullptr;
  int rc = 0;
  if (pchaineView != nullptr) {
    int iPosition = 0;
    for (const zorcol *pcolView = static_cast<const zorcol *>(pchaineView->pitemTop); pcolView != nullptr && rc == 0;
         pcolView = pcolView->pcolNext, pcolSelect = pcolSelect->pcolNext) {
      ++iPosition;
      if (pcolSelect == nullptr) {
        omsgsFMTEDO(ZORU090E, pchaineView->iItemCount, pchaineSelect ? pchaineSelect->iItemCount : 0);
        rc = ZORCOL_RC_VIEWCOLS;
        break;
      }
      rc = _colAppendMatch(plist, pcolView, pcolSelect);
    }
    omsgsTrace("match list: %d view columns\n", iPosition);
  } else {
    for (; pcolSelect != nullptr && rc == 0; pcolSelect = pcolSelect->pcolNext)
      rc = _colAppendMatch(plist, pcolSelect, pcolSelect);
  }
  if (rc != 0) {
    olistDestroy(plist);
    *prc = rc;
    return nullptr;
  }
  return plist;
}

/* ------------------------------------------------------ custom type */

/*
** Wraps the column's expression in an operator node (with a value in its
** right slot) and checks it; on success the wrapper becomes the expression.
*/
static int _colWrapExpression(zorcol *pcol, int iCode, uintptr_t ulValue, zornode **ppwrapper)
{
  zornode *pnodeExpr = pcol->pnodeExpr;
  zornode *pwrapper = zornodeCreate(ZORNODE_OPRT, iCode, pnodeExpr, reinterpret_cast<void *>(ulValue),
                                    NODE_RIGHT_NOT, nullptr, nullptr);
  if (pwrapper == nullptr) return ORC_NOMEM;
  pwrapper->sStartColumn = pnodeExpr->sStartColumn;
  pwrapper->sStartLine = pnodeExpr->sStartLine;
  pwrapper->sEndColumn = pnodeExpr->sEndColumn;
  pwrapper->sEndLine = pnodeExpr->sEndLine;
  int rc = zornodeCheckExpression(pwrapper, nullptr);
  if (rc != 0) {
    /* the check may have rewritten the operand: keep what it left */
    pcol->pnodeExpr = static_cast<zornode *>(pwrapper->pLeft);
    pwrapper->pLeft = nullptr;
    zornodeDestroy(pwrapper);
    return rc;
  }
  pcol->pnodeExpr = pwrapper;
  *ppwrapper = pwrapper;
  return 0;
}

int zorcolSubstituteCustomType(zorcol *pcol, zorcolCustomType *ptarget)
{
  if (pcol == nullptr || ptarget == nullptr || pcol->pnodeExpr == nullptr) return ORC_INVALID;
  static const struct {
    int32_t ilStep;
    int iCode;            /* data type code an expression of the step's type has */
    int iWrapper;         /* operator that brings an expression to it */
    int32_t ilNumeric;    /* internal type id of the numeric result */
  } aSteps[] = {
      {ZORCOL_CUSTOM_DECIMAL, NODE_CTDEC, NODE_DEC_OP, ZORCOL_T_DECIMAL},
      {ZORCOL_CUSTOM_INTEGER, NODE_CTINT, NODE_INT_OP, ZORCOL_T_INTEGER},
      {ZORCOL_CUSTOM_FLOAT, NODE_CTFLT, NODE_FLT_OP, ZORCOL_T_REAL},
  };
  for (const auto &step : aSteps) {
    int32_t ilRequest = ptarget->ilRequest;
    if (!(ilRequest & step.ilStep)) continue;
    bool boNoLength = (ilRequest & ZORCOL_CUSTOM_NOLEN) != 0;
    if (ilRequest & ZORCOL_CUSTOM_CHAR) {
      const zornode *pnodeExpr = pcol->pnodeExpr;
      bool boSame = (pnodeExpr->usCtrlType & 0xFF) == step.iCode;
      if (step.iCode == NODE_CTDEC) boSame = (boSame && pnodeExpr->usLength == ptarget->ilLength) || boNoLength;
      if (boSame) {
        if (step.iCode == NODE_CTDEC) ptarget->ilLength = (pnodeExpr->usLength >> 8) + 2;
        else if (step.iCode == NODE_CTFLT && boNoLength) ptarget->ilLength = 0;
      } else {
        /* DECIMAL() keeps the precision and scale asked for; FLOAT() makes a double */
        uintptr_t ulValue = step.iCode == NODE_CTDEC ? static_cast<uintptr_t>(boNoLength ? 0 : ptarget->ilLength)
                            : step.iCode == NODE_CTFLT ? 0x80000u
                                                       : 0u;
        zornode *pwrapper = nullptr;
        int rc = _colWrapExpression(pcol, step.iWrapper, ulValue, &pwrapper);
        if (rc != 0) return rc;
        if (step.iCode == NODE_CTDEC) ptarget->ilLength = (pwrapper->usLength >> 8) + 2;
        else ptarget->ilLength = pwrapper->usLength;
      }
      ptarget->ilRequest = ZORCOL_T_CHAR;
    } else if (ilRequest & ZORCOL_CUSTOM_NUMBER) {
      ptarget->ilRequest = step.ilNumeric;
      if (boNoLength) ptarget->ilLength = 0;
    }
  }
  return 0;
}

namespace {

/* The atom kinds ZORCOL and MATCHCOL hold columns: registered at start-up. */
const zoratomOwner gownerColumn = {
    [](const void *pv) -> void * { return zorcolClone(static_cast<const zorcol *>(pv)); },
    [](void *pv) { zorcolDestroy(static_cast<zorcol *>(pv)); },
    [](const void *pv, FILE *pfile) { zorcolPrint(static_cast<const zorcol *>(pv), pfile); },
    zorcolDestroyChaineItem,
};

[[maybe_unused]] const bool gboColumnOwner = [] {
  zoratomSetOwner(ZORATOM_ZORCOL, &gownerColumn);
  zoratomSetOwner(ZORATOM_MATCHCOL, &gownerColumn);
  return true;
}();

}  // namespace
