/*
** osysibm.cpp
**   Catalogue records: builders from converted stored catalogue rows,
**   destroy procedures, the trace printers of the table-space, table and
**   column chains, and the column-type vocabulary (aSqlId, the type
**   dictionary, CLI SQL types, the data-type and database registries).
**
**   Each record type is described once, by the list of the columns of its
**   converted row in row order (what each column fills, if anything) and
**   the list of its fields that only the CLI and backup producers fill; the
**   builders and destroy procedures walk these lists.
*/
#include "model/osysibm.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "common/odict.h"
#include "common/ostrdict.h"
#include "model/orow.h"

#define OMSGS_TRACE_KEYWORD nullptr
#define OMSGS_DEBUG_KEYWORD "$OSYSIBM"
#include "common/omsgsmod.h"

/* The chain array of every record type lies directly after the header. */
static_assert(offsetof(osysibmSystablespace, apchaine) == sizeof(osysibm));
static_assert(offsetof(osysibmSystables, apchaine) == sizeof(osysibm));
static_assert(offsetof(osysibmSyscolumns, apchaine) == sizeof(osysibm));
static_assert(offsetof(osysibmSysrels, apchaine) == sizeof(osysibm));
static_assert(offsetof(osysibmSysindexes, apchaine) == sizeof(osysibm));
static_assert(offsetof(osysibmSysvtree, apchaine) == sizeof(osysibm));

/* ================================================================ layout */

/* What one column of a converted row fills. */
enum : uint8_t {
  K_NONE,       /* link word, or a column the record does not keep */
  K_CHILD,      /* child-slot column: a chain pointer into chain slot iWidth */
  K_CHAR,       /* CHAR(iWidth) or TIMESTAMP (10 bytes) -> ochar */
  K_VARCHAR,    /* length-prefixed value -> ochar */
  K_DOUBLE,     /* 8-byte float */
  K_I32,        /* 32-bit integer (taken at the column's own width when narrower) */
  K_I16,        /* 16-bit integer */
  K_I16POS,     /* 16-bit integer, a negative value stored as 0 */
  K_BYTE,       /* CHAR(1) */
  K_CARD64      /* 32-bit integer sign-extended into a 64-bit field */
};

struct _sysibmCol {
  uint8_t  ucKind;
  int16_t  sWidth;      /* K_CHAR bytes, K_CHILD slot */
  uint16_t usOffset;    /* field offset in the record */
};

/* A record type: its id, chain count, size, converted-row columns and CLI-only strings. */
struct _sysibmLayout {
  int16_t            sTableId;
  uint16_t           usChaineCount;
  const _sysibmCol  *pcols;
  int                iCols;
  const uint16_t    *pusCliStrings;
  int                iCliStrings;
};

#define LINK            {K_NONE, 0, 0}
#define SKIP            {K_NONE, 0, 0}
#define CHILD(n)        {K_CHILD, (n), 0}
#define STR(f, n)       {K_CHAR, (n), offsetof(REC, f)}
#define TS(f)           {K_CHAR, 10, offsetof(REC, f)}
#define VSTR(f)         {K_VARCHAR, 0, offsetof(REC, f)}
#define DBL(f)          {K_DOUBLE, 8, offsetof(REC, f)}
#define I32(f)          {K_I32, 4, offsetof(REC, f)}
#define I16(f)          {K_I16, 2, offsetof(REC, f)}
#define I16POS(f)       {K_I16POS, 2, offsetof(REC, f)}
#define BYTE(f)         {K_BYTE, 1, offsetof(REC, f)}
#define CARD64(f)       {K_CARD64, 4, offsetof(REC, f)}
#define OFF(f)          static_cast<uint16_t>(offsetof(REC, f))

#define REC osysibmSystablespace
static const _sysibmCol acolSystablespace[] = {
  LINK, LINK, CHILD(0), CHILD(1),
  STR(pcharNAME, 8), STR(pcharCREATOR, 8), STR(pcharDBNAME, 8), I16(sDBID), I16(sOBID),
  I16(sPSID), STR(pcharBPOOL, 8), I16(sPARTITION), BYTE(cLOCKRULE), I16(sPGSIZE),
  BYTE(cERASERULE), BYTE(cSTATUS), BYTE(cIMPLICIT), I16(sNTABLES), I32(iNACTIVE),
  STR(pcharDSETPASS, 8), BYTE(cCLOSERULE), I32(iSPACE), BYTE(cIBMREQD), VSTR(pcharROOTNAME),
  STR(pcharROOTCREATOR, 8), I16(sSEGSIZE), STR(pcharCREATEDBY, 8), TS(pcharSTATSTIME),
  I32(iLOCKMAX), BYTE(cTYPE), TS(pcharCREATEDTS), TS(pcharALTEREDTS), BYTE(cENCODING_SCHEME),
  I32(iSBCS_CCSID), I32(iDBCS_CCSID), I32(iMIXED_CCSID), I16(sMAXROWS), BYTE(cLOCKPART),
  BYTE(cLOG), DBL(dNACTIVEF), I32(iDSSIZE)
};
static const uint16_t ausCliSystablespace[] = {OFF(pcharREMARKS), OFF(pcharNGNAME)};
#undef REC

#define REC osysibmSystablepart
static const _sysibmCol acolSystablepart[] = {
  LINK, LINK,
  I16(sPARTITION), STR(pcharTSNAME, 8), STR(pcharDBNAME, 8), VSTR(pcharIXNAME),
  STR(pcharIXCREATOR, 8), I32(iPQTY), I16(sSQTY), BYTE(cSTORTYPE), STR(pcharSTORNAME, 8),
  STR(pcharVCATNAME, 8), I32(iCARD), I32(iFARINDREF), I32(iNEARINDREF), I16(sPERCACTIVE),
  I16(sPERCDROP), BYTE(cIBMREQD), VSTR(pcharLIMITKEY), I16(sFREEPAGE), I16(sPCTFREE),
  BYTE(cCHECKFLAG), STR(pcharCHECKRID, 4), I32(iSPACE), BYTE(cCOMPRESS), I16(sPAGESAVE),
  TS(pcharSTATSTIME), BYTE(cGBPCACHE), STR(pcharCHECKRID5B, 5), BYTE(cTRACKMOD), I32(iEPOCH),
  I32(iSECQTYI), DBL(dCARDF), BYTE(cIPREFIX), TS(pcharALTEREDTS), DBL(dSPACEF), I32(iDSNUM),
  I32(iEXTENTS)
};
#undef REC

#define REC osysibmSystables
static const _sysibmCol acolSystables[] = {
  LINK, LINK, CHILD(0), CHILD(1), CHILD(2), CHILD(3), CHILD(4),
  VSTR(pcharNAME), STR(pcharCREATOR, 8), BYTE(cTYPE), STR(pcharDBNAME, 8), STR(pcharTSNAME, 8),
  I16(sDBID), I16(sOBID), I16(sCOLCOUNT), STR(pcharEDPROC, 8), STR(pcharVALPROC, 8),
  BYTE(cCLUSTERTYPE), I32(iCLUSTERRID), CARD64(llCARD), I32(iNPAGES), I16(sPCTPAGES),
  BYTE(cIBMREQD), VSTR(pcharREMARKS), I16(sPARENTS), I16(sCHILDREN), I16(sKEYCOLUMNS),
  I16(sRECLENGTH), BYTE(cSTATUS), I16(sKEYOBID), VSTR(pcharLABEL), BYTE(cCHECKFLAG),
  STR(pcharCHECKRID, 4), BYTE(cAUDITING), STR(pcharCREATEDBY, 8), STR(pcharLOCATION, 16),
  STR(pcharTBCREATOR, 8), VSTR(pcharTBNAME), TS(pcharCREATEDTS), TS(pcharALTEREDTS),
  BYTE(cDATACAPTURE), STR(pcharRBA1, 6), STR(pcharRBA2, 6), I16(sPCTROWCOMP), TS(pcharSTATSTIME),
  I16(sCHECKS), DBL(dCARDF), STR(pcharCHECKRID5B, 5), BYTE(cENCODING_SCHEME),
  VSTR(pcharTABLESTATUS), DBL(dNPAGESF), DBL(dSPACEF), I32(iAVGROWLEN), BYTE(cRELCREATED)
};
static const uint16_t ausCliSystables[] = {
  OFF(pcharBASE_NAME), OFF(pcharBASE_SCHEMA), OFF(pcharINDEX_TBSPACE), OFF(pcharLONG_TBSPACE),
  OFF(pcharDEFINER), OFF(pcharCONST_CHECKED), OFF(pcharROWTYPESCHEMA), OFF(pcharROWTYPENAME),
  OFF(pcharREFRESH_TIME)
};
#undef REC

/* The first DEFAULTVALUE column (256 bytes) belongs to releases before 5 and is not in the row. */
#define REC osysibmSyscolumns
static const _sysibmCol acolSyscolumns[] = {
  LINK, LINK, CHILD(0),
  VSTR(pcharNAME), VSTR(pcharTBNAME), STR(pcharTBCREATOR, 8), I16(sCOLNO), STR(pcharCOLTYPE, 8),
  I16(sLENGTH), I16(sSCALE), BYTE(cNULLS), I32(iCOLCARD), STR(pcharHIGH2KEY, 8),
  STR(pcharLOW2KEY, 8), BYTE(cUPDATES), BYTE(cIBMREQD), VSTR(pcharREMARKS), BYTE(cDEFAULT),
  I16(sKEYSEQ), BYTE(cFOREIGNKEY), BYTE(cFIELDPROC), VSTR(pcharLABEL), TS(pcharSTATSTIME),
  VSTR(pcharDEFAULTVALUE), DBL(dCOLCARDF), BYTE(cCOLSTATUS), I32(iLENGTH2), I32(iDATATYPEID),
  I32(iSOURCETYPEID), STR(pcharTYPESCHEMA, 8), VSTR(pcharTYPENAME), TS(pcharCREATEDTS)
};
static const uint16_t ausCliSyscolumns[] = {OFF(pcharSOURCE_TABSCHEMA), OFF(pcharSOURCE_TABNAME)};
#undef REC

#define REC osysibmSysfields
static const _sysibmCol acolSysfields[] = {
  LINK, LINK,
  STR(pcharTBCREATOR, 8), VSTR(pcharTBNAME), I16(sCOLNO), VSTR(pcharNAME), STR(pcharFLDTYPE, 8),
  I16(sLENGTH), I16(sSCALE), STR(pcharFLDPROC, 8), I16(sWORKAREA), BYTE(cIBMREQD),
  I16(sEXITPARML), VSTR(pcharPARMLIST), VSTR(pcharEXITPARM)
};
#undef REC

#define REC osysibmSysrels
static const _sysibmCol acolSysrels[] = {
  LINK, LINK, CHILD(0), CHILD(1),
  STR(pcharCREATOR, 8), VSTR(pcharTBNAME), STR(pcharRELNAME, 8), VSTR(pcharREFTBNAME),
  STR(pcharREFTBCREATOR, 8), I16(sCOLCOUNT), BYTE(cDELETERULE), BYTE(cIBMREQD), I16(sRELOBID1),
  I16(sRELOBID2), TS(pcharTIMESTAMP), STR(pcharIXOWNER, 8), VSTR(pcharIXNAME)
};
#undef REC

#define REC osysibmSysindexes
static const _sysibmCol acolSysindexes[] = {
  LINK, LINK, CHILD(0), CHILD(1),
  VSTR(pcharNAME), STR(pcharCREATOR, 8), VSTR(pcharTBNAME), STR(pcharTBCREATOR, 8),
  BYTE(cUNIQUERULE), I16(sCOLCOUNT), BYTE(cCLUSTERING), BYTE(cCLUSTERED), I16(sDBID), I16(sOBID),
  I16(sISOBID), STR(pcharDBNAME, 8), STR(pcharINDEXSPACE, 8), I32(iFIRSTKEYCARD),
  I32(iFULLKEYCARD), I32(iNLEAF), I16(sNLEVEL), STR(pcharBPOOL, 8), I16(sPGSIZE),
  BYTE(cERASERULE), STR(pcharDSETPASS, 8), BYTE(cCLOSERULE), I32(iSPACE), BYTE(cIBMREQD),
  I16(sCLUSTERRATIO), STR(pcharCREATEDBY, 8), I16POS(sIOFACTOR), I16(sPREFETCHFACTOR),
  TS(pcharSTATSTIME), BYTE(cINDEXTYPE), DBL(dFIRSTKEYCARDF), DBL(dFULLKEYCARDF),
  TS(pcharCREATEDTS), TS(pcharALTEREDTS), I32(iPIECESIZE), BYTE(cCOPY), STR(pcharCOPYLRSN, 6),
  DBL(dCLUSTERRATIOF), DBL(dSPACEF), VSTR(pcharREMARKS)
};
#undef REC

#define REC osysibmSysforeignkeys
static const _sysibmCol acolSysforeignkeys[] = {
  LINK, LINK,
  STR(pcharCREATOR, 8), VSTR(pcharTBNAME), STR(pcharRELNAME, 8), VSTR(pcharCOLNAME), I16(sCOLNO),
  I16(sCOLSEQ), BYTE(cIBMREQD)
};
#undef REC

#define REC osysibmSysindexpart
static const _sysibmCol acolSysindexpart[] = {
  LINK, LINK,
  I16(sPARTITION), VSTR(pcharIXNAME), STR(pcharIXCREATOR, 8), I32(iPQTY), I16(sSQTY),
  BYTE(cSTORTYPE), STR(pcharSTORNAME, 8), STR(pcharVCATNAME, 8), I32(iCARD), I32(iFAROFFPOS),
  I32(iLEAFDIST), I32(iNEAROFFPOS), BYTE(cIBMREQD), VSTR(pcharLIMITKEY), I16(sFREEPAGE),
  I16(sPCTFREE), I32(iSPACE), TS(pcharSTATSTIME), BYTE(cINDEXTYPE), BYTE(cGBPCACHE),
  DBL(dFAROFFPOSF), DBL(dNEAROFFPOSF), DBL(dCARDF), I32(iSECQTYI), BYTE(cIPREFIX),
  TS(pcharALTEREDTS), DBL(dSPACEF), I32(iDSNUM), I32(iEXTENTS), I32(iPSEUDO_DEL_ENTRIES),
  I32(iLEAFNEAR), I32(iLEAFFAR)
};
#undef REC

#define REC osysibmSyskeys
static const _sysibmCol acolSyskeys[] = {
  LINK, LINK,
  VSTR(pcharIXNAME), STR(pcharIXCREATOR, 8), VSTR(pcharCOLNAME), I16(sCOLNO), I16(sCOLSEQ),
  BYTE(cORDERING), BYTE(cIBMREQD)
};
#undef REC

#define REC osysibmSysvtree
static const _sysibmCol acolSysvtree[] = {
  LINK, LINK, CHILD(0), CHILD(1), CHILD(2),
  VSTR(pcharNAME), STR(pcharCREATOR, 8), I32(iTOTLEN), BYTE(cIBMREQD), VSTR(pcharVTREE),
  BYTE(cTYPE)
};
#undef REC

#define REC osysibmSysvltree
static const _sysibmCol acolSysvltree[] = {
  LINK, LINK,
  BYTE(cIBMREQD), VSTR(pcharVTREE)
};
#undef REC

#define REC osysibmSysviews
static const _sysibmCol acolSysviews[] = {
  LINK, LINK,
  VSTR(pcharNAME), STR(pcharCREATOR, 8), I16(sSEQNO), BYTE(cCHECK), BYTE(cIBMREQD),
  VSTR(pcharTEXT), VSTR(pcharPATH), BYTE(cRELCREATED), BYTE(cTYPE)
};
#undef REC

#define REC osysibmSysviewdep
static const _sysibmCol acolSysviewdep[] = {
  LINK, LINK,
  VSTR(pcharBNAME), STR(pcharBCREATOR, 8), BYTE(cBTYPE), VSTR(pcharDNAME), STR(pcharDCREATOR, 8),
  BYTE(cIBMREQD), STR(pcharBSCHEMA, 8), BYTE(cDTYPE)
};
#undef REC

#define REC osysibmSysdatatypes
static const _sysibmCol acolSysdatatypes[] = {
  LINK, LINK,
  STR(pcharSCHEMA, 8), STR(pcharOWNER, 8), STR(pcharNAME, 18), STR(pcharCREATEDBY, 8),
  STR(pcharSOURCESCHEMA, 8), STR(pcharSOURCETYPE, 18), BYTE(cMETATYPE), I32(iDATATYPEID),
  I32(iSOURCETYPEID), I32(iLENGTH), I16(sSCALE), BYTE(cSUBTYPE), TS(pcharCREATEDTS),
  BYTE(cENCODING_SCHEME), BYTE(cIBMREQD), VSTR(pcharREMARKS)
};
#undef REC

/* SYSDATABASE has no builder; its columns list only serves its destroy procedure. */
#define REC osysibmSysdatabase
static const uint16_t ausStringsSysdatabase[] = {
  OFF(pcharNAME), OFF(pcharCREATOR), OFF(pcharSTGROUP), OFF(pcharBPOOL), OFF(pcharCREATEDBY),
  OFF(pcharTIMESTAMP), OFF(pcharGROUP_MEMBER), OFF(pcharCREATEDTS), OFF(pcharALTEREDTS),
  OFF(pcharINDEXBP)
};
#undef REC

#define N(a) static_cast<int>(sizeof(a) / sizeof((a)[0]))
static const _sysibmLayout layoutSystablespace = {17, 2, acolSystablespace, N(acolSystablespace),
                                                  ausCliSystablespace, N(ausCliSystablespace)};
static const _sysibmLayout layoutSystablepart = {18, 0, acolSystablepart, N(acolSystablepart), nullptr, 0};
static const _sysibmLayout layoutSystables = {19, 5, acolSystables, N(acolSystables), ausCliSystables,
                                              N(ausCliSystables)};
static const _sysibmLayout layoutSyscolumns = {20, 1, acolSyscolumns, N(acolSyscolumns), ausCliSyscolumns,
                                               N(ausCliSyscolumns)};
static const _sysibmLayout layoutSysfields = {21, 0, acolSysfields, N(acolSysfields), nullptr, 0};
static const _sysibmLayout layoutSysrels = {22, 2, acolSysrels, N(acolSysrels), nullptr, 0};
static const _sysibmLayout layoutSysindexes = {23, 2, acolSysindexes, N(acolSysindexes), nullptr, 0};
static const _sysibmLayout layoutSysforeignkeys = {25, 0, acolSysforeignkeys, N(acolSysforeignkeys),
                                                   nullptr, 0};
static const _sysibmLayout layoutSysindexpart = {26, 0, acolSysindexpart, N(acolSysindexpart), nullptr, 0};
static const _sysibmLayout layoutSyskeys = {27, 0, acolSyskeys, N(acolSyskeys), nullptr, 0};
static const _sysibmLayout layoutSysvtree = {30, 3, acolSysvtree, N(acolSysvtree), nullptr, 0};
static const _sysibmLayout layoutSysvltree = {31, 0, acolSysvltree, N(acolSysvltree), nullptr, 0};
static const _sysibmLayout layoutSysviews = {38, 0, acolSysviews, N(acolSysviews), nullptr, 0};
static const _sysibmLayout layoutSysviewdep = {39, 0, acolSysviewdep, N(acolSysviewdep), nullptr, 0};
static const _sysibmLayout layoutSysdatatypes = {337, 0, acolSysdatatypes, N(acolSysdatatypes), nullptr, 0};
static const _sysibmLayout layoutSysdatabase = {42, 0, nullptr, 0, ausStringsSysdatabase,
                                                N(ausStringsSysdatabase)};

/* ================================================================ builders */

static ochar *&_sysibmStringField(osysibm *precord, uint16_t usOffset)
{
  return *reinterpret_cast<ochar **>(reinterpret_cast<char *>(precord) + usOffset);
}

/* True when ilWidth bytes at pc lie inside the row's buffer (or the row has none to check against). */
static bool _sysibmInRow(const orow *prow, const char *pc, size_t ulWidth)
{
  if (prow->pcStart == nullptr || prow->pcEnd == nullptr) return true;
  return pc >= prow->pcStart && pc <= prow->pcEnd && ulWidth <= static_cast<size_t>(prow->pcEnd - pc);
}

/* Fills one field from one converted column. */
static void _sysibmPutColumn(osysibm *precord, const orow *prow, const rowColDef *pcoldef, const _sysibmCol *pc)
{
  const char *pcData = pcoldef->pcData;
  if (pcData == nullptr) return;
  char *pcField = reinterpret_cast<char *>(precord) + pc->usOffset;
  switch (pc->ucKind) {
    case K_CHILD: {
      ochaine *pchaine = nullptr;
      if (!_sysibmInRow(prow, pcData, sizeof pchaine)) return;
      std::memcpy(&pchaine, pcData, sizeof pchaine);
      if (pc->sWidth < (precord->usChaineCount & 0xFF)) osysibmChaines(precord)[pc->sWidth] = pchaine;
      return;
    }
    case K_CHAR: {
      if (!_sysibmInRow(prow, pcData, static_cast<size_t>(pc->sWidth))) return;
      ochar *pchar = static_cast<ochar *>(std::calloc(1, sizeof(ochar)));
      if (pchar == nullptr) return;
      if (ocharInitFromFixed(pchar, pcData, pc->sWidth, pcoldef->usCCSID) != 0) {
        std::free(pchar);
        return;
      }
      _sysibmStringField(precord, pc->usOffset) = pchar;
      return;
    }
    case K_VARCHAR: {
      int16_t sLength = 0;
      if (!_sysibmInRow(prow, pcData, sizeof sLength)) return;
      std::memcpy(&sLength, pcData, sizeof sLength);
      /* A length beyond the column or the buffer is not followed. */
      if (sLength < 0 || (pcoldef->iLength > 0 && sLength > pcoldef->iLength)) return;
      if (!_sysibmInRow(prow, pcData, sizeof sLength + static_cast<size_t>(sLength))) return;
      _sysibmStringField(precord, pc->usOffset) =
          ocharCreateFromVarchar(pcData, pcoldef->usCCSID, OCHAR_OWNED | OCHAR_VARCHAR);
      return;
    }
    case K_DOUBLE:
      if (_sysibmInRow(prow, pcData, sizeof(double))) std::memcpy(pcField, pcData, sizeof(double));
      return;
    case K_I32: {
      /* A narrower column (a CHAR(1) type id) gives its own value. */
      int32_t iValue = 0;
      if (pcoldef->iLength == 1) {
        if (!_sysibmInRow(prow, pcData, 1)) return;
        iValue = static_cast<unsigned char>(*pcData);
      } else if (pcoldef->iLength == 2) {
        int16_t s = 0;
        if (!_sysibmInRow(prow, pcData, 2)) return;
        std::memcpy(&s, pcData, 2);
        iValue = s;
      } else {
        if (!_sysibmInRow(prow, pcData, 4)) return;
        std::memcpy(&iValue, pcData, 4);
      }
      std::memcpy(pcField, &iValue, 4);
      return;
    }
    case K_I16:
    case K_I16POS: {
      int16_t sValue = 0;
      if (!_sysibmInRow(prow, pcData, 2)) return;
      std::memcpy(&sValue, pcData, 2);
      if (pc->ucKind == K_I16POS && sValue < 0) sValue = 0;
      std::memcpy(pcField, &sValue, 2);
      return;
    }
    case K_BYTE:
      if (_sysibmInRow(prow, pcData, 1)) *pcField = *pcData;
      return;
    case K_CARD64: {
      int32_t iValue = 0;
      if (!_sysibmInRow(prow, pcData, 4)) return;
      std::memcpy(&iValue, pcData, 4);
      int64_t llValue = iValue;
      std::memcpy(pcField, &llValue, 8);
      return;
    }
    default:
      return;
  }
}

static void _sysibmPut(const _sysibmLayout *playout, orow *prow, osysibm *precord)
{
  if (precord == nullptr) return;
  precord->powner = nullptr;
  precord->sTableId = playout->sTableId;
  precord->usChaineCount = playout->usChaineCount;
  if (prow == nullptr) return;
  int iColumns = prow->iCount < playout->iCols ? prow->iCount : playout->iCols;
  for (int i = 0; i < iColumns; i++)
    if (playout->pcols[i].ucKind != K_NONE)
      _sysibmPutColumn(precord, prow, &prow->pcoldef[i], &playout->pcols[i]);
}

void osysibmPutSystablespace(orow *prow, osysibm *precord) { _sysibmPut(&layoutSystablespace, prow, precord); }
void osysibmPutSystablepart(orow *prow, osysibm *precord) { _sysibmPut(&layoutSystablepart, prow, precord); }
void osysibmPutSystables(orow *prow, osysibm *precord) { _sysibmPut(&layoutSystables, prow, precord); }
void osysibmPutSysrels(orow *prow, osysibm *precord) { _sysibmPut(&layoutSysrels, prow, precord); }
void osysibmPutSysforeignkeys(orow *prow, osysibm *precord) { _sysibmPut(&layoutSysforeignkeys, prow, precord); }
void osysibmPutSysindexes(orow *prow, osysibm *precord) { _sysibmPut(&layoutSysindexes, prow, precord); }
void osysibmPutSysindexpart(orow *prow, osysibm *precord) { _sysibmPut(&layoutSysindexpart, prow, precord); }
void osysibmPutSyskeys(orow *prow, osysibm *precord) { _sysibmPut(&layoutSyskeys, prow, precord); }
void osysibmPutSysdatatypes(orow *prow, osysibm *precord) { _sysibmPut(&layoutSysdatatypes, prow, precord); }
void osysibmPutSysvtree(orow *prow, osysibm *precord) { _sysibmPut(&layoutSysvtree, prow, precord); }
void osysibmPutSysvltree(orow *prow, osysibm *precord) { _sysibmPut(&layoutSysvltree, prow, precord); }
void osysibmPutSysviewdep(orow *prow, osysibm *precord) { _sysibmPut(&layoutSysviewdep, prow, precord); }
void osysibmPutSysviews(orow *prow, osysibm *precord) { _sysibmPut(&layoutSysviews, prow, precord); }

void osysibmPutSyscolumns(orow *prow, osysibm *precord)
{
  _sysibmPut(&layoutSyscolumns, prow, precord);
  if (precord == nullptr) return;
  osysibmSyscolumns *pcol = reinterpret_cast<osysibmSyscolumns *>(precord);
  osysibmCreateDictType();
  pcol->iTypeId = osysibmGetIdLength(pcol->pcharCOLTYPE, pcol->sLENGTH);
}

void osysibmPutSysfields(orow *prow, osysibm *precord)
{
  _sysibmPut(&layoutSysfields, prow, precord);
  if (precord == nullptr) return;
  osysibmSysfields *pfield = reinterpret_cast<osysibmSysfields *>(precord);
  osysibmCreateDictType();
  pfield->iTypeId = osysibmGetIdLength(pfield->pcharFLDTYPE, pfield->sLENGTH);
}

osysibmRefConversion atableRefConversion[] = {
  {17, static_cast<int16_t>(sizeof(osysibmSystablespace)), osysibmPutSystablespace, nullptr},
  {18, static_cast<int16_t>(sizeof(osysibmSystablepart)), osysibmPutSystablepart, nullptr},
  {19, static_cast<int16_t>(sizeof(osysibmSystables)), osysibmPutSystables, nullptr},
  {20, static_cast<int16_t>(sizeof(osysibmSyscolumns)), osysibmPutSyscolumns, nullptr},
  {21, static_cast<int16_t>(sizeof(osysibmSysfields)), osysibmPutSysfields, nullptr},
  {22, static_cast<int16_t>(sizeof(osysibmSysrels)), osysibmPutSysrels, nullptr},
  {25, static_cast<int16_t>(sizeof(osysibmSysforeignkeys)), osysibmPutSysforeignkeys, nullptr},
  {23, static_cast<int16_t>(sizeof(osysibmSysindexes)), osysibmPutSysindexes, nullptr},
  {26, static_cast<int16_t>(sizeof(osysibmSysindexpart)), osysibmPutSysindexpart, nullptr},
  {27, static_cast<int16_t>(sizeof(osysibmSyskeys)), osysibmPutSyskeys, nullptr},
  {337, static_cast<int16_t>(sizeof(osysibmSysdatatypes)), osysibmPutSysdatatypes, nullptr},
  {30, static_cast<int16_t>(sizeof(osysibmSysvtree)), osysibmPutSysvtree, nullptr},
  {31, static_cast<int16_t>(sizeof(osysibmSysvltree)), osysibmPutSysvltree, nullptr},
  {39, static_cast<int16_t>(sizeof(osysibmSysviewdep)), osysibmPutSysviewdep, nullptr},
  {38, static_cast<int16_t>(sizeof(osysibmSysviews)), osysibmPutSysviews, nullptr},
  {-1, 0, nullptr, nullptr}
};

/* ================================================================ destruction */

/* Releases every string field of the layout and frees the record. */
static void _sysibmDestroy(const _sysibmLayout *playout, osysibm *precord)
{
  if (precord == nullptr) return;
  for (int i = 0; i < playout->iCols; i++) {
    const _sysibmCol *pc = &playout->pcols[i];
    if (pc->ucKind != K_CHAR && pc->ucKind != K_VARCHAR) continue;
    ochar *&pchar = _sysibmStringField(precord, pc->usOffset);
    ocharDestroy(pchar);
    pchar = nullptr;
  }
  for (int i = 0; i < playout->iCliStrings; i++) {
    ochar *&pchar = _sysibmStringField(precord, playout->pusCliStrings[i]);
    ocharDestroy(pchar);
    pchar = nullptr;
  }
  std::free(precord);
}

void _sysibmDestroySystablespace(osysibm *precord) { _sysibmDestroy(&layoutSystablespace, precord); }
void _sysibmDestroySystablepart(osysibm *precord) { _sysibmDestroy(&layoutSystablepart, precord); }
void _sysibmDestroySystables(osysibm *precord) { _sysibmDestroy(&layoutSystables, precord); }
void _sysibmDestroySyscolumns(osysibm *precord) { _sysibmDestroy(&layoutSyscolumns, precord); }
void _sysibmDestroySysfields(osysibm *precord) { _sysibmDestroy(&layoutSysfields, precord); }
void _sysibmDestroySysrels(osysibm *precord) { _sysibmDestroy(&layoutSysrels, precord); }
void _sysibmDestroySysindexes(osysibm *precord) { _sysibmDestroy(&layoutSysindexes, precord); }
void _sysibmDestroySysforeignkeys(osysibm *precord) { _sysibmDestroy(&layoutSysforeignkeys, precord); }
void _sysibmDestroySysindexpart(osysibm *precord) { _sysibmDestroy(&layoutSysindexpart, precord); }
void _sysibmDestroySyskeys(osysibm *precord) { _sysibmDestroy(&layoutSyskeys, precord); }
void _sysibmDestroySysvtree(osysibm *precord) { _sysibmDestroy(&layoutSysvtree, precord); }
void _sysibmDestroySysvltree(osysibm *precord) { _sysibmDestroy(&layoutSysvltree, precord); }
void _sysibmDestroySysviews(osysibm *precord) { _sysibmDestroy(&layoutSysviews, precord); }
void _sysibmDestroySysviewdep(osysibm *precord) { _sysibmDestroy(&layoutSysviewdep, precord); }
void _sysibmDestroySysdatabase(osysibm *precord) { _sysibmDestroy(&layoutSysdatabase, precord); }
void _sysibmDestroySysdatatypes(osysibm *precord) { _sysibmDestroy(&layoutSysdatatypes, precord); }

void osysibmDestroy(osysibm *precord)
{
  if (precord == nullptr) return;
  int iChaines = precord->usChaineCount & 0xFF;
  ochaine **apchaine = osysibmChaines(precord);
  for (int i = 0; i < iChaines; i++) {
    if (apchaine[i] != nullptr) ochaineDestroy(apchaine[i]);
    apchaine[i] = nullptr;
  }
  switch (precord->sTableId) {
    case OSYSIBM_SYSTABLESPACE:  _sysibmDestroySystablespace(precord); break;
    case OSYSIBM_SYSTABLEPART:   _sysibmDestroySystablepart(precord); break;
    case OSYSIBM_SYSTABLES:      _sysibmDestroySystables(precord); break;
    case OSYSIBM_SYSCOLUMNS:     _sysibmDestroySyscolumns(precord); break;
    case OSYSIBM_SYSFIELDS:      _sysibmDestroySysfields(precord); break;
    case OSYSIBM_SYSRELS:        _sysibmDestroySysrels(precord); break;
    case OSYSIBM_SYSINDEXES:     _sysibmDestroySysindexes(precord); break;
    case OSYSIBM_SYSFOREIGNKEYS: _sysibmDestroySysforeignkeys(precord); break;
    case OSYSIBM_SYSINDEXPART:   _sysibmDestroySysindexpart(precord); break;
    case OSYSIBM_SYSKEYS:        _sysibmDestroySyskeys(precord); break;
    case OSYSIBM_SYSVTREE:       _sysibmDestroySysvtree(precord); break;
    case OSYSIBM_SYSVLTREE:      _sysibmDestroySysvltree(precord); break;
    case OSYSIBM_SYSVIEWS:       _sysibmDestroySysviews(precord); break;
    case OSYSIBM_SYSVIEWDEP:     _sysibmDestroySysviewdep(precord); break;
    case OSYSIBM_SYSDATABASE:    _sysibmDestroySysdatabase(precord); break;
    case OSYSIBM_SYSDATATYPES:   _sysibmDestroySysdatatypes(precord); break;
    default: break;   /* CLI and backup records stay until exit */
  }
}

void osysibmChaineDestroyProc(ochaine *pchaine, void *pitem)
{
  (void)pchaine;
  osysibmDestroy(static_cast<osysibm *>(pitem));
}

/* ================================================================ printers */

static void _sysibmPrintString(FILE *pfile, const char *pcLabel, const ochar *pchar, int iIndent)
{
  std::fputs(pcLabel, pfile);
  if (pchar != nullptr) ocharDump2(0, &pfile, pchar, iIndent);
}

void _sysibmTbsOchainePrint(ochaine *pchaine, void *pitem, FILE *pfile, int iIndent)
{
  (void)pchaine;
  if (pitem == nullptr || pfile == nullptr) return;
  osysibmSystablespace *p = static_cast<osysibmSystablespace *>(pitem);
  std::fputs(">>>>>- SYSTABLESPACE --------------------------\n", pfile);
  _sysibmPrintString(pfile, "NAME          = \n", p->pcharNAME, iIndent);
  std::fprintf(pfile, "OBID          = %d\n", p->sOBID);
  std::fprintf(pfile, "TBSPACETYPE   = %c\n", p->cTBSPACETYPE);
  std::fprintf(pfile, "DATATYPE      = %c\n", p->cDATATYPE);
  std::fprintf(pfile, "EXTENTSIZE    = %ld\n", static_cast<long>(p->iEXTENTSIZE));
  std::fprintf(pfile, "PREFETCHSIZE  = %ld\n", static_cast<long>(p->iPREFETCHSIZE));
  std::fprintf(pfile, "OVERHEAD      = %lf\n", p->dOVERHEAD);
  std::fprintf(pfile, "TRANSFERRATE  = %lf\n", p->dTRANSFERRATE);
  _sysibmPrintString(pfile, "REMARKS       = \n", p->pcharREMARKS, iIndent);
  if (p->pcharNGNAME != nullptr && p->pcharNGNAME->pcData != nullptr)
    std::fprintf(pfile, "NGNAME        = <%.*s>\n", static_cast<int>(p->pcharNGNAME->ilBU),
                 _charText(p->pcharNGNAME));
  else
    std::fputs("NGNAME        = <>\n", pfile);
  std::fprintf(pfile, "BUFFERPOOLID  = %ld\n", static_cast<long>(p->iBUFFERPOOLID));
  std::fprintf(pfile, "PAGESIZE      = %ld\n", static_cast<long>(p->iPAGESIZE));
  std::fprintf(pfile, "DROP_RECOVERY = %c\n", p->cDROP_RECOVERY);
  if (p->apchaine[1] != nullptr) ochainePrint(p->apchaine[1], pfile, iIndent + 4, 3);
  std::fputs("<<<<<- SYSTABLESPACE --------------------------\n", pfile);
}

void _sysibmTabOchainePrint(ochaine *pchaine, void *pitem, FILE *pfile, int iIndent)
{
  (void)pchaine;
  if (pitem == nullptr || pfile == nullptr) return;
  osysibmSystables *p = static_cast<osysibmSystables *>(pitem);
  std::fputs(">>>>>- SYSTABLES ----------------------------\n", pfile);
  _sysibmPrintString(pfile, "NAME          = \n", p->pcharNAME, iIndent);
  _sysibmPrintString(pfile, "CREATOR       = \n", p->pcharCREATOR, iIndent);
  _sysibmPrintString(pfile, "DBNAME        = \n", p->pcharDBNAME, iIndent);
  std::fprintf(pfile, "COLCOUNT      = %d\n", p->sCOLCOUNT);
  std::fprintf(pfile, "OBID          = %d\n", p->sOBID);
  std::fprintf(pfile, "NPAGES        = %ld\n", static_cast<long>(p->iNPAGES));
  std::fprintf(pfile, "PARENTS       = %d\n", p->sPARENTS);
  std::fprintf(pfile, "CHILDREN      = %d\n", p->sCHILDREN);
  std::fprintf(pfile, "KEYCOLUMNS    = %d\n", p->sKEYCOLUMNS);
  std::fprintf(pfile, "KEYOBID       = %d\n", p->sKEYOBID);
  _sysibmPrintString(pfile, "TSNAME        = \n", p->pcharTSNAME, iIndent);
  if (p->apchaine[0] != nullptr) ochainePrint(p->apchaine[0], pfile, iIndent + 4, 3);
  std::fputs("<<<<<- SYSTABLES ----------------------------\n", pfile);
}

void _sysibmColOchainePrint(ochaine *pchaine, void *pitem, FILE *pfile, int iIndent)
{
  (void)pchaine;
  if (pitem == nullptr || pfile == nullptr) return;
  osysibmSyscolumns *p = static_cast<osysibmSyscolumns *>(pitem);
  std::fputs(">>>>>- SYSCOLUMNS ---------------------------\n", pfile);
  _sysibmPrintString(pfile, "NAME               = \n", p->pcharNAME, iIndent);
  _sysibmPrintString(pfile, "TBNAME             = \n", p->pcharTBNAME, iIndent);
  _sysibmPrintString(pfile, "TBCREATOR          = \n", p->pcharTBCREATOR, iIndent);
  _sysibmPrintString(pfile, "REMARKS            = \n", p->pcharREMARKS, iIndent);
  _sysibmPrintString(pfile, "COLTYPE            = \n", p->pcharCOLTYPE, iIndent);
  std::fprintf(pfile, "NULLS              = %c\n", p->cNULLS);
  std::fprintf(pfile, "CODEPAGE           = %d\n", p->sCODEPAGE);
  std::fprintf(pfile, "DBCSCODEPG         = %d\n", p->sDBCSCODEPG);
  std::fprintf(pfile, "LENGTH             = %d\n", p->sLENGTH);
  std::fprintf(pfile, "SCALE              = %d\n", p->sSCALE);
  std::fprintf(pfile, "COLNO              = %d\n", p->sCOLNO);
  _sysibmPrintString(pfile, "TYPENAME           = \n", p->pcharTYPENAME, iIndent);
  _sysibmPrintString(pfile, "TYPESCHEMA         = \n", p->pcharTYPESCHEMA, iIndent);
  _sysibmPrintString(pfile, "DEFAULTVALUE       = \n", p->pcharDEFAULTVALUE, iIndent);
  std::fprintf(pfile, "LENGTH2            = %ld\n", static_cast<long>(p->iLENGTH2));
  std::fprintf(pfile, "COMPOSITE_CODEPAGE = %d\n", p->sCOMPOSITE_CODEPAGE);
  std::fputs("<<<<- SYSCOLUMNS ---------------------------\n", pfile);
}

/* ================================================================ type vocabulary */

const osysibmSqlId aSqlId[OSYSIBM_SQLID_ROWS + 1] = {
  {"INTEGER",        {'I', 'N', 'T', 'E', 'G', 'E', 'R', ' '}, 0, 496, 497, OSYSIBM_TYPE_INTEGER},
  {"SMALLINT",       {'S', 'M', 'A', 'L', 'L', 'I', 'N', 'T'}, 0, 500, 501, OSYSIBM_TYPE_SMALLINT},
  /* FLOAT is the catalogue's name of 8-byte floats; REAL has its own row. */
  {"FLOAT",          {'F', 'L', 'O', 'A', 'T', ' ', ' ', ' '}, 0, 480, 481, OSYSIBM_TYPE_DOUBLE},
  {"DECIMAL",        {'D', 'E', 'C', 'I', 'M', 'A', 'L', ' '}, 0, 484, 485, OSYSIBM_TYPE_DECIMAL},
  {"CHAR",           {'C', 'H', 'A', 'R', ' ', ' ', ' ', ' '}, 0, 452, 453, OSYSIBM_TYPE_CHAR},
  {"VARCHAR",        {'V', 'A', 'R', 'C', 'H', 'A', 'R', ' '}, 0, 448, 449, OSYSIBM_TYPE_VARCHAR},
  {"GRAPHIC",        {'G', 'R', 'A', 'P', 'H', 'I', 'C', ' '}, 0, 468, 469, OSYSIBM_TYPE_GRAPHIC},
  {"VARGRAPHIC",     {'V', 'A', 'R', 'G', 'R', 'A', 'P', 'H'}, 0, 464, 465, OSYSIBM_TYPE_VARGRAPHIC},
  {"DATE",           {'D', 'A', 'T', 'E', ' ', ' ', ' ', ' '}, 0, 384, 385, OSYSIBM_TYPE_DATE},
  {"TIME",           {'T', 'I', 'M', 'E', ' ', ' ', ' ', ' '}, 0, 388, 389, OSYSIBM_TYPE_TIME},
  {"TIMESTAMP",      {'T', 'I', 'M', 'E', 'S', 'T', 'M', 'P'}, 0, 392, 393, OSYSIBM_TYPE_TIMESTAMP},
  {"BLOB",           {'B', 'L', 'O', 'B', ' ', ' ', ' ', ' '}, 0, -1, -1, OSYSIBM_TYPE_BLOB},
  {"CLOB",           {'C', 'L', 'O', 'B', ' ', ' ', ' ', ' '}, 0, -1, -1, OSYSIBM_TYPE_CLOB},
  {"DBCLOB",         {'D', 'B', 'C', 'L', 'O', 'B', ' ', ' '}, 0, -1, -1, OSYSIBM_TYPE_DBCLOB},
  {"ROWID",          {'R', 'O', 'W', 'I', 'D', ' ', ' ', ' '}, 0, -1, -1, OSYSIBM_TYPE_ROWID},
  {"DISTINCT",       {'D', 'I', 'S', 'T', 'I', 'N', 'C', 'T'}, 0, -1, -1, OSYSIBM_TYPE_DISTINCT},
  {"BIGINTEGER",     {'B', 'I', 'G', 'I', 'N', 'T', ' ', ' '}, 0, 492, 493, OSYSIBM_TYPE_BIGINT},
  {"LONGVARCHAR",    {'L', 'O', 'N', 'G', 'V', 'A', 'R', ' '}, 0, 456, 457, OSYSIBM_TYPE_LONGVARCHAR},
  {"LONGVARGRAPHIC", {'L', 'O', 'N', 'G', 'V', 'A', 'R', 'G'}, 0, 472, 473, OSYSIBM_TYPE_LONGVARG},
  {"REAL",           {'R', 'E', 'A', 'L', ' ', ' ', ' ', ' '}, 0, 480, 481, OSYSIBM_TYPE_REAL},
  {"DOUBLE",         {'D', 'O', 'U', 'B', 'L', 'E', ' ', ' '}, 0, 508, 509, OSYSIBM_TYPE_DOUBLE},
  {nullptr,          {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '}, 0, 0, 0, OSYSIBM_TYPE_UNKNOWN}
};

ostrdict *pstrdictType = nullptr;
odict *pdictDatatypes = nullptr;
ostrdict *pstrdictDatabase = nullptr;

ostrdict *_sysibmCreateDictType(void)
{
  ostrdict *pstrdict = ostrdictCreate(50, 50);
  if (pstrdict == nullptr) return nullptr;
  for (const osysibmSqlId *prow = aSqlId; prow->pcLongName != nullptr; prow++) {
    if (ostrdictStoreFixed(pstrdict, prow->acColType, sizeof prow->acColType,
                           const_cast<osysibmSqlId *>(prow)) != 0) {
      ostrdictDestroy(pstrdict);
      return nullptr;
    }
  }
  return pstrdict;
}

void osysibmCreateDictType(void)
{
  if (pstrdictType == nullptr) pstrdictType = _sysibmCreateDictType();
}

/* The aSqlId row of a type name (its first 8 bytes, blank-padded), or NULL. */
static const osysibmSqlId *_sysibmFindType(const ochar *pcharColType)
{
  if (pcharColType == nullptr) return nullptr;
  osysibmCreateDictType();
  if (pstrdictType == nullptr) return nullptr;
  char acName[8];
  ocharCopyToCharFixed(pcharColType, acName, sizeof acName, ' ');
  return static_cast<const osysibmSqlId *>(ostrdictLoadFixed(pstrdictType, acName, sizeof acName));
}

int osysibmGetId(const ochar *pcharColType)
{
  const osysibmSqlId *prow = _sysibmFindType(pcharColType);
  if (prow == nullptr) {
    omsgsTraceTo(gpzcFileDebug, "osysibmGetId: unknown type name\n");
    return OSYSIBM_TYPE_UNKNOWN;
  }
  return prow->iTypeId;
}

int osysibmGetIdLength(const ochar *pcharColType, int32_t iLength)
{
  int iTypeId = osysibmGetId(pcharColType);
  if (_sysibmFindType(pcharColType) == &aSqlId[2] && iLength == 4) return OSYSIBM_TYPE_REAL;  /* FLOAT(4) */
  return iTypeId;
}

int osysibmGetSqlId(const ochar *pcharColType, char cNullable)
{
  const osysibmSqlId *prow = _sysibmFindType(pcharColType);
  if (prow == nullptr) return 0;
  return (cNullable == 'Y' || cNullable == 'y') ? prow->iSqlNullable : prow->iSqlNotNull;
}

int osysibmSql2Internal(int iSqlType)
{
  switch (iSqlType) {
    case 1:    return OSYSIBM_TYPE_CHAR;
    case 3:    return OSYSIBM_TYPE_DECIMAL;
    case 4:    return OSYSIBM_TYPE_INTEGER;
    case 5:    return OSYSIBM_TYPE_SMALLINT;
    case 6:    return OSYSIBM_TYPE_DOUBLE;       /* SQL FLOAT is an 8-byte float */
    case 7:    return OSYSIBM_TYPE_REAL;
    case 8:    return OSYSIBM_TYPE_DOUBLE;
    case 10:   return OSYSIBM_TYPE_TIME;
    case 11:   return OSYSIBM_TYPE_TIMESTAMP;
    case 12:   return OSYSIBM_TYPE_VARCHAR;
    case 91:   return OSYSIBM_TYPE_DATE;
    case 92:   return OSYSIBM_TYPE_TIME;
    case 93:   return OSYSIBM_TYPE_TIMESTAMP;
    case -1:   return OSYSIBM_TYPE_LONGVARCHAR;
    case -5:   return OSYSIBM_TYPE_BIGINT;
    case -10:  return OSYSIBM_TYPE_VARCHAR;
    case -95:  return OSYSIBM_TYPE_GRAPHIC;
    case -96:  return OSYSIBM_TYPE_VARGRAPHIC;
    case -97:  return OSYSIBM_TYPE_VARGRAPHIC;
    case -98:  return OSYSIBM_TYPE_BLOB;
    case -99:  return OSYSIBM_TYPE_CLOB;
    case -350: return OSYSIBM_TYPE_DBCLOB;
    default:   return -1;
  }
}

/* The aSqlId row of n = 4 x its number counted from 1 (8 is SMALLINT), or NULL. */
static const osysibmSqlId *_sysibmRowOf(int n)
{
  int iRow = n / 4 - 1;
  if (n < 0 || iRow < 0 || iRow > OSYSIBM_SQLID_ROWS) return nullptr;
  return &aSqlId[iRow];
}

const char *osysibmGetTypeStr(int n)
{
  const osysibmSqlId *prow = _sysibmRowOf(n);
  return prow != nullptr ? prow->pcLongName : nullptr;
}

const char *osysibmGetDb2TypeStr(int n)
{
  const osysibmSqlId *prow = _sysibmRowOf(n);
  return prow != nullptr ? prow->acColType : nullptr;
}

/* ================================================================ registries */

static void _sysibmDestroyValue(void *pValue)
{
  osysibmDestroy(static_cast<osysibm *>(pValue));
}

int osysibmInitDictDatatypes(void)
{
  if (pdictDatatypes != nullptr) return 4;
  pdictDatatypes = odictCreate(100, 80);
  if (pdictDatatypes == nullptr) return 12;
  pdictDatatypes->procDestroy = _sysibmDestroyValue;
  return 0;
}

osysibmSysdatatypes *osysibmGetSysDatatypes(int32_t iDatatypeId)
{
  if (pdictDatatypes == nullptr) return nullptr;
  return static_cast<osysibmSysdatatypes *>(
      odictLoad(pdictDatatypes, static_cast<uintptr_t>(static_cast<uint32_t>(iDatatypeId))));
}

void osysibmDestroyDictDatatypes(void)
{
  odictDestroy(pdictDatatypes);
  pdictDatatypes = nullptr;
}

int osysibmInitDictDatabase(void)
{
  if (pstrdictDatabase != nullptr) return 4;
  pstrdictDatabase = ostrdictCreate(20, 80);
  return pstrdictDatabase == nullptr ? 12 : 0;
}

osysibmSysdatabase *osysibmGetSysDatabase(const ochar *pcharName)
{
  if (pstrdictDatabase == nullptr || pcharName == nullptr) return nullptr;
  char acName[8];
  ocharCopyToCharFixed(pcharName, acName, sizeof acName, ' ');
  return static_cast<osysibmSysdatabase *>(ostrdictLoadFixed(pstrdictDatabase, acName, sizeof acName));
}

void osysibmDestroyDictDatabase(void)
{
  if (pstrdictDatabase == nullptr) return;
  /* The string dictionary never frees its values: the registry owns its records. */
  odictForEach(pstrdictDatabase->pdict,
               [](uintptr_t, void *pValue, void *) { osysibmDestroy(static_cast<osysibm *>(pValue)); },
               nullptr);
  ostrdictDestroy(pstrdictDatabase);
  pstrdictDatabase = nullptr;
}

void osysibmDetermineCcsid(void)
{
}
