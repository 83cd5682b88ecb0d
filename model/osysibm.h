/*
** osysibm.h
**   Catalogue records and the column-type vocabulary.  One osysibm record
**   holds one row of a DB2 catalogue table: a common header (chain links,
**   owner, catalogue table id, child-chain count), the child chains, then
**   the table's fields.  Records are items of ochaine chains that own them
**   (destroy callback osysibmChaineDestroyProc); three producers fill them:
**   the CLI catalogue queries, the backup catalogue loader (both leave the
**   table id and chain count 0, so osysibmDestroy releases nothing of
**   theirs) and the stored catalogue reader through the osysibmPut*
**   builders.  The column descriptors read SYSCOLUMNS records; the request
**   tree keeps records in kind-16 atoms.
**
**   Every string field is an ochar owned by its record, NULL when absent.
**   The child chains of a record lie directly after the header, in the
**   order its struct lists them; a chain pointer may be NULL.
**
**   Type vocabulary: the internal type ids (OSYSIBM_TYPE_*), the table
**   aSqlId of catalogue type names (COLTYPE), SQL type codes and ids, the
**   type dictionary pstrdictType (made once per process, never destroyed)
**   and the mapping of CLI SQL types.  An unknown COLTYPE has id 0.
**
**   The module belongs to one thread of a process; forked processes use
**   their own copies.
*/
#ifndef ZAV_MODEL_OSYSIBM_H
#define ZAV_MODEL_OSYSIBM_H

#include <cstdint>
#include <cstdio>

#include "common/ochaine.h"
#include "common/ochar.h"

struct orow;
struct odict;
struct ostrdict;

/* Catalogue table ids. */
enum {
  OSYSIBM_SYSTABLESPACE  = 17,
  OSYSIBM_SYSTABLEPART   = 18,
  OSYSIBM_SYSTABLES      = 19,
  OSYSIBM_SYSCOLUMNS     = 20,
  OSYSIBM_SYSFIELDS      = 21,
  OSYSIBM_SYSRELS        = 22,
  OSYSIBM_SYSINDEXES     = 23,
  OSYSIBM_SYSLINKS       = 24,   /* no record type: child chains only */
  OSYSIBM_SYSFOREIGNKEYS = 25,
  OSYSIBM_SYSINDEXPART   = 26,
  OSYSIBM_SYSKEYS        = 27,
  OSYSIBM_SYSTABAUTH     = 28,   /* no record type */
  OSYSIBM_SYSVTREE       = 30,
  OSYSIBM_SYSVLTREE      = 31,
  OSYSIBM_SYSSYNONYMS    = 33,   /* no record type */
  OSYSIBM_SYSVIEWS       = 38,
  OSYSIBM_SYSVIEWDEP     = 39,
  OSYSIBM_SYSDATABASE    = 42,
  OSYSIBM_SYSDATATYPES   = 337
};

/* Internal type ids: the column type vocabulary of the whole system. */
enum {
  OSYSIBM_TYPE_UNKNOWN     = 0,   /* COLTYPE not in aSqlId */
  OSYSIBM_TYPE_SMALLINT    = 1,
  OSYSIBM_TYPE_INTEGER     = 2,
  OSYSIBM_TYPE_DECIMAL     = 3,
  OSYSIBM_TYPE_DOUBLE      = 4,
  OSYSIBM_TYPE_REAL        = 5,
  OSYSIBM_TYPE_BIGINT      = 6,
  OSYSIBM_TYPE_CHAR        = 7,
  OSYSIBM_TYPE_VARCHAR     = 8,
  OSYSIBM_TYPE_LONGVARCHAR = 9,
  OSYSIBM_TYPE_DATE        = 10,
  OSYSIBM_TYPE_TIME        = 11,
  OSYSIBM_TYPE_TIMESTAMP   = 12,
  OSYSIBM_TYPE_GRAPHIC     = 13,
  OSYSIBM_TYPE_VARGRAPHIC  = 14,
  OSYSIBM_TYPE_LONGVARG    = 15,
  OSYSIBM_TYPE_BLOB        = 16,
  OSYSIBM_TYPE_CLOB        = 17,
  OSYSIBM_TYPE_DBCLOB      = 18,
  OSYSIBM_TYPE_ROWID       = 19,
  OSYSIBM_TYPE_DISTINCT    = 47
};

/* Common header of every record; the child chains follow it directly. */
struct osysibm {
  osysibm  *pnext;          /* chain links: the record is an ochaine item */
  osysibm  *pprev;
  osysibm  *powner;         /* table space of a table, table of a column; NULL */
  int16_t   sTableId;       /* catalogue table id, 0 for CLI and backup records */
  uint16_t  usChaineCount;  /* child chains after the header (low byte read) */
};

/* ------------------------------------------------------------ records */

struct osysibmSystablespace {            /* 17 */
  osysibm   hdr;
  ochaine  *apchaine[2];                 /* SYSTABLEPART, SYSTABLES */
  double    dNACTIVEF;
  int32_t   iNACTIVE, iSPACE, iLOCKMAX, iSBCS_CCSID, iDBCS_CCSID, iMIXED_CCSID, iDSSIZE;
  ochar    *pcharNAME, *pcharCREATOR, *pcharDBNAME, *pcharBPOOL, *pcharDSETPASS;
  ochar    *pcharROOTNAME, *pcharROOTCREATOR, *pcharCREATEDBY, *pcharSTATSTIME;
  ochar    *pcharCREATEDTS, *pcharALTEREDTS;
  int16_t   sDBID, sOBID, sPSID, sPARTITION, sPGSIZE, sNTABLES, sSEGSIZE, sMAXROWS;
  char      cLOCKRULE, cERASERULE, cSTATUS, cIMPLICIT, cCLOSERULE, cIBMREQD, cTYPE;
  char      cENCODING_SCHEME, cLOCKPART, cLOG;
  double    dOVERHEAD, dTRANSFERRATE;    /* CLI */
  int32_t   iEXTENTSIZE, iPREFETCHSIZE, iBUFFERPOOLID, iPAGESIZE;
  ochar    *pcharREMARKS, *pcharNGNAME;
  char      cTBSPACETYPE, cDATATYPE, cDROP_RECOVERY;
};

struct osysibmSystablepart {             /* 18 */
  osysibm   hdr;
  double    dCARDF, dSPACEF;
  int32_t   iPQTY, iCARD, iFARINDREF, iNEARINDREF, iSPACE, iEPOCH, iSECQTYI, iDSNUM, iEXTENTS;
  ochar    *pcharTSNAME, *pcharDBNAME, *pcharIXNAME, *pcharIXCREATOR, *pcharSTORNAME;
  ochar    *pcharVCATNAME, *pcharLIMITKEY, *pcharCHECKRID, *pcharSTATSTIME, *pcharCHECKRID5B;
  ochar    *pcharALTEREDTS;
  int16_t   sPARTITION, sSQTY, sPERCACTIVE, sPERCDROP, sFREEPAGE, sPCTFREE, sPAGESAVE;
  char      cSTORTYPE, cIBMREQD, cCHECKFLAG, cCOMPRESS, cGBPCACHE, cTRACKMOD, cIPREFIX;
};

struct osysibmSystables {                /* 19 */
  osysibm   hdr;
  ochaine  *apchaine[5];                 /* SYSCOLUMNS, SYSRELS, SYSINDEXES, 28, 33 */
  double    dCARDF, dNPAGESF, dSPACEF;
  int32_t   iCLUSTERRID;
  int64_t   llCARD;
  int32_t   iNPAGES, iAVGROWLEN;
  ochar    *pcharNAME, *pcharCREATOR, *pcharDBNAME, *pcharTSNAME, *pcharEDPROC, *pcharVALPROC;
  ochar    *pcharREMARKS, *pcharLABEL, *pcharCHECKRID, *pcharCREATEDBY, *pcharLOCATION;
  ochar    *pcharTBCREATOR, *pcharTBNAME, *pcharCREATEDTS, *pcharALTEREDTS, *pcharRBA1;
  ochar    *pcharRBA2, *pcharSTATSTIME, *pcharCHECKRID5B, *pcharTABLESTATUS;
  int16_t   sDBID, sOBID, sCOLCOUNT, sPCTPAGES, sPARENTS, sCHILDREN, sKEYCOLUMNS;
  int16_t   sRECLENGTH, sKEYOBID, sPCTROWCOMP, sCHECKS;
  char      cTYPE, cCLUSTERTYPE, cIBMREQD, cSTATUS, cCHECKFLAG, cAUDITING, cDATACAPTURE;
  char      cENCODING_SCHEME, cRELCREATED;
  int16_t   sTID;                        /* CLI and backup */
  int32_t   iFPAGES, iOVERFLOW;
  ochar    *pcharBASE_NAME, *pcharBASE_SCHEMA, *pcharINDEX_TBSPACE, *pcharLONG_TBSPACE;
  ochar    *pcharDEFINER, *pcharCONST_CHECKED, *pcharROWTYPESCHEMA, *pcharROWTYPENAME;
  ochar    *pcharREFRESH_TIME;
  int16_t   sSELFREFS, sPMAP_ID, sPCTFREE;
  char      cLOG_ATTRIBUTE, cAPPEND_MODE, cPARTITION_MODE, cREFRESH, cLOCKSIZE, cVOLATILE;
};

struct osysibmSyscolumns {               /* 20 */
  osysibm   hdr;
  ochaine  *apchaine[1];                 /* SYSFIELDS */
  int32_t   iTypeId;                     /* internal type id from COLTYPE */
  double    dCOLCARDF;
  int32_t   iCOLCARD, iLENGTH2, iDATATYPEID, iSOURCETYPEID;
  ochar    *pcharSTATSTIME, *pcharNAME, *pcharTBNAME, *pcharTBCREATOR, *pcharCOLTYPE;
  ochar    *pcharHIGH2KEY, *pcharLOW2KEY, *pcharREMARKS, *pcharLABEL, *pcharDEFAULTVALUE;
  ochar    *pcharTYPESCHEMA, *pcharTYPENAME, *pcharCREATEDTS;
  int16_t   sCOLNO, sLENGTH, sSCALE, sKEYSEQ;
  int32_t   iAVGCOLLEN, iINLINE_LENGTH, iDATAMODEL, iNUMNULLS;     /* CLI */
  ochar    *pcharSOURCE_TABSCHEMA, *pcharSOURCE_TABNAME;
  int16_t   sCODEPAGE, sDBCSCODEPG, sNQUANTILES, sNMOSTFREQ, sCOMPOSITE_CODEPAGE;
  int16_t   sPARTKEYSEQ, sSUB_COUNT, sSUB_DELIM_LENGTH;
  char      cLOGGED, cCOMPACT, cHIDDEN, cGENERATED, cIDENTITY;
  char      cNULLS, cUPDATES, cIBMREQD, cDEFAULT, cFOREIGNKEY, cFIELDPROC, cCOLSTATUS;
};

struct osysibmSysfields {                /* 21 */
  osysibm   hdr;
  int32_t   iTypeId;                     /* from FLDTYPE */
  ochar    *pcharTBCREATOR, *pcharTBNAME, *pcharNAME, *pcharFLDTYPE, *pcharFLDPROC;
  ochar    *pcharPARMLIST, *pcharEXITPARM;
  int16_t   sCOLNO, sLENGTH, sSCALE, sWORKAREA, sEXITPARML;
  char      cIBMREQD;
};

struct osysibmSysrels {                  /* 22 */
  osysibm   hdr;
  ochaine  *apchaine[2];                 /* 24, SYSFOREIGNKEYS */
  ochar    *pcharCREATOR, *pcharTBNAME, *pcharRELNAME, *pcharREFTBNAME, *pcharREFTBCREATOR;
  ochar    *pcharTIMESTAMP, *pcharIXOWNER, *pcharIXNAME;
  int16_t   sCOLCOUNT, sRELOBID1, sRELOBID2;
  char      cDELETERULE, cIBMREQD;
};

struct osysibmSysindexes {               /* 23 */
  osysibm   hdr;
  ochaine  *apchaine[2];                 /* SYSINDEXPART, SYSKEYS */
  double    dFIRSTKEYCARDF, dFULLKEYCARDF, dCLUSTERRATIOF, dSPACEF;
  int32_t   iFIRSTKEYCARD, iFULLKEYCARD, iNLEAF, iSPACE, iPIECESIZE;
  ochar    *pcharNAME, *pcharCREATOR, *pcharTBNAME, *pcharTBCREATOR, *pcharDBNAME;
  ochar    *pcharINDEXSPACE, *pcharBPOOL, *pcharDSETPASS, *pcharCREATEDBY, *pcharSTATSTIME;
  ochar    *pcharCREATEDTS, *pcharALTEREDTS, *pcharCOPYLRSN, *pcharREMARKS;
  int16_t   sCOLCOUNT, sDBID, sOBID, sISOBID, sNLEVEL, sPGSIZE, sCLUSTERRATIO, sIOFACTOR;
  int16_t   sPREFETCHFACTOR;
  char      cUNIQUERULE, cCLUSTERING, cCLUSTERED, cERASERULE, cCLOSERULE, cIBMREQD;
  char      cINDEXTYPE, cCOPY;
};

struct osysibmSysforeignkeys {           /* 25 */
  osysibm   hdr;
  ochar    *pcharCREATOR, *pcharTBNAME, *pcharRELNAME, *pcharCOLNAME;
  int16_t   sCOLNO, sCOLSEQ;
  char      cIBMREQD;
};

struct osysibmSysindexpart {             /* 26 */
  osysibm   hdr;
  double    dFAROFFPOSF, dNEAROFFPOSF, dCARDF, dSPACEF;
  int32_t   iPQTY, iCARD, iFAROFFPOS, iLEAFDIST, iNEAROFFPOS, iSPACE, iSECQTYI, iDSNUM;
  int32_t   iEXTENTS, iPSEUDO_DEL_ENTRIES, iLEAFNEAR, iLEAFFAR;
  ochar    *pcharIXNAME, *pcharIXCREATOR, *pcharSTORNAME, *pcharVCATNAME, *pcharLIMITKEY;
  ochar    *pcharSTATSTIME, *pcharALTEREDTS;
  int16_t   sPARTITION, sSQTY, sFREEPAGE, sPCTFREE;
  char      cSTORTYPE, cIBMREQD, cINDEXTYPE, cGBPCACHE, cIPREFIX;
};

struct osysibmSyskeys {                  /* 27 */
  osysibm   hdr;
  ochar    *pcharIXNAME, *pcharIXCREATOR, *pcharCOLNAME;
  int16_t   sCOLNO, sCOLSEQ;
  char      cORDERING, cIBMREQD;
};

struct osysibmSysvtree {                 /* 30 */
  osysibm   hdr;
  ochaine  *apchaine[3];                 /* SYSVLTREE, SYSVIEWS, SYSVIEWDEP */
  ochar    *pcharNAME, *pcharCREATOR, *pcharVTREE;
  int32_t   iTOTLEN;
  char      cIBMREQD, cTYPE;
};

struct osysibmSysvltree {                /* 31 */
  osysibm   hdr;
  ochar    *pcharVTREE;
  char      cIBMREQD;
};

struct osysibmSysviews {                 /* 38 */
  osysibm   hdr;
  ochar    *pcharNAME, *pcharCREATOR, *pcharTEXT, *pcharPATH;
  int16_t   sSEQNO;
  char      cCHECK, cRELCREATED, cTYPE, cIBMREQD;
};

struct osysibmSysviewdep {               /* 39 */
  osysibm   hdr;
  ochar    *pcharBNAME, *pcharBCREATOR, *pcharDNAME, *pcharDCREATOR, *pcharBSCHEMA;
  char      cBTYPE, cDTYPE, cIBMREQD;
};

struct osysibmSysdatabase {              /* 42: never built, only destroyed */
  osysibm   hdr;
  ochar    *pcharNAME, *pcharCREATOR, *pcharSTGROUP, *pcharBPOOL, *pcharCREATEDBY;
  ochar    *pcharTIMESTAMP, *pcharGROUP_MEMBER, *pcharCREATEDTS, *pcharALTEREDTS;
  ochar    *pcharINDEXBP;
  int32_t   iSBCS_CCSID, iDBCS_CCSID, iMIXED_CCSID;
  int16_t   sDBID;
  char      cIBMREQD, cROSHARE, cTYPE, cENCODING_SCHEME;
};

struct osysibmSysdatatypes {             /* 337 */
  osysibm   hdr;
  int32_t   iDATATYPEID, iSOURCETYPEID, iLENGTH;
  ochar    *pcharSCHEMA, *pcharOWNER, *pcharNAME, *pcharCREATEDBY, *pcharSOURCESCHEMA;
  ochar    *pcharSOURCETYPE, *pcharCREATEDTS, *pcharREMARKS;
  int16_t   sSCALE;
  char      cMETATYPE, cSUBTYPE, cENCODING_SCHEME, cIBMREQD;
};

/* ------------------------------------------------------------ builders */

/*
** Builders: fill a zeroed record of the table from a converted stored
** catalogue row.  Column i of the row offers its data at
** prow->pcoldef[i].pcData and its CCSID; columns 0 and 1 are the link
** words, then come the table's catalogue columns in catalogue order, less
** the leading spare link columns and the columns of older releases.  A
** child-slot column holds a chain pointer.  Each builder sets the table id,
** the chain count and every field it takes; a column the row does not have,
** or whose data position is NULL, leaves its field zero.
*/
typedef void (*osysibmPutProc)(orow *prow, osysibm *precord);

void osysibmPutSystablespace(orow *prow, osysibm *precord);
void osysibmPutSystablepart(orow *prow, osysibm *precord);
void osysibmPutSystables(orow *prow, osysibm *precord);
void osysibmPutSyscolumns(orow *prow, osysibm *precord);
void osysibmPutSysfields(orow *prow, osysibm *precord);
void osysibmPutSysrels(orow *prow, osysibm *precord);
void osysibmPutSysforeignkeys(orow *prow, osysibm *precord);
void osysibmPutSysindexes(orow *prow, osysibm *precord);
void osysibmPutSysindexpart(orow *prow, osysibm *precord);
void osysibmPutSyskeys(orow *prow, osysibm *precord);
void osysibmPutSysdatatypes(orow *prow, osysibm *precord);
void osysibmPutSysvtree(orow *prow, osysibm *precord);
void osysibmPutSysvltree(orow *prow, osysibm *precord);
void osysibmPutSysviewdep(orow *prow, osysibm *precord);
void osysibmPutSysviews(orow *prow, osysibm *precord);

/*
** atableRefConversion: one row per table with a builder (17, 18, 19, 20,
** 21, 22, 25, 23, 26, 27, 337, 30, 31, 39, 38), ended by id -1.  The
** stored catalogue reader caches each table's row converter in pconvert.
*/
struct oconvert;
struct osysibmRefConversion {
  int16_t         sTableId;
  int16_t         sRecordSize;   /* size of the table's record struct */
  osysibmPutProc  procPut;
  oconvert       *pconvert;      /* NULL until first use */
};
extern osysibmRefConversion atableRefConversion[];

/* ------------------------------------------------------------ destruction */

/*
** osysibmDestroy
**   Destroys each non-null child chain (count from the header), then calls
**   the destroy procedure of the record's table id, which releases the
**   string fields and frees the record; an id without a procedure (0, for
**   CLI and backup records) releases nothing.  NULL is ignored.
*/
void osysibmDestroy(osysibm *precord);

/* osysibmChaineDestroyProc: destroy callback of record chains; osysibmDestroy of the item. */
void osysibmChaineDestroyProc(ochaine *pchaine, void *pitem);

/* Destroy procedures: release every string field of the record, then the record. */
void _sysibmDestroySystablespace(osysibm *precord);
void _sysibmDestroySystablepart(osysibm *precord);
void _sysibmDestroySystables(osysibm *precord);
void _sysibmDestroySyscolumns(osysibm *precord);
void _sysibmDestroySysfields(osysibm *precord);
void _sysibmDestroySysrels(osysibm *precord);
void _sysibmDestroySysindexes(osysibm *precord);
void _sysibmDestroySysforeignkeys(osysibm *precord);
void _sysibmDestroySysindexpart(osysibm *precord);
void _sysibmDestroySyskeys(osysibm *precord);
void _sysibmDestroySysvtree(osysibm *precord);
void _sysibmDestroySysvltree(osysibm *precord);
void _sysibmDestroySysviews(osysibm *precord);
void _sysibmDestroySysviewdep(osysibm *precord);
void _sysibmDestroySysdatabase(osysibm *precord);
void _sysibmDestroySysdatatypes(osysibm *precord);

/* osysibmChaines: the child-chain array of a record (it follows the header). */
inline ochaine **osysibmChaines(osysibm *precord)
{
  return reinterpret_cast<ochaine **>(reinterpret_cast<char *>(precord) + sizeof(osysibm));
}

/* ------------------------------------------------------------ printers */

/*
** Trace printers: print callbacks of the table-space, table and column
** chains.  Each writes a head line, the record's fields, the child chain
** (ochainePrint, indent + 4, flags 3) and a tail line to the stream.
*/
void _sysibmTbsOchainePrint(ochaine *pchaine, void *pitem, FILE *pfile, int iIndent);
void _sysibmTabOchainePrint(ochaine *pchaine, void *pitem, FILE *pfile, int iIndent);
void _sysibmColOchainePrint(ochaine *pchaine, void *pitem, FILE *pfile, int iIndent);

/* ------------------------------------------------------------ type services */

/* One row of aSqlId. */
struct osysibmSqlId {
  const char *pcLongName;      /* NULL on the end row */
  char        acColType[8];    /* blank-padded, not terminated */
  uint32_t    ulZero;          /* always 0 */
  int32_t     iSqlNotNull;     /* SQL type code, not nullable */
  int32_t     iSqlNullable;    /* SQL type code, nullable */
  int32_t     iTypeId;         /* internal type id */
};

#define OSYSIBM_SQLID_ROWS 21
extern const osysibmSqlId aSqlId[OSYSIBM_SQLID_ROWS + 1];

extern ostrdict *pstrdictType;      /* COLTYPE -> aSqlId row */
extern odict    *pdictDatatypes;    /* distinct type id -> SYSDATATYPES record */
extern ostrdict *pstrdictDatabase;  /* database name (8) -> SYSDATABASE record */

/* osysibmCreateDictType: creates pstrdictType unless it exists. */
void osysibmCreateDictType(void);

/* _sysibmCreateDictType: builds a new type dictionary; NULL when memory runs out. */
ostrdict *_sysibmCreateDictType(void);

/*
** osysibmGetId
**   The internal type id of a COLTYPE (or FLDTYPE) string: its first 8
**   bytes padded with blanks are looked up in the type dictionary (created
**   when needed).  FLOAT, the catalogue name of 8-byte floats, gives DOUBLE;
**   REAL gives REAL.
**   Returns the id, or OSYSIBM_TYPE_UNKNOWN (0) for NULL, an unknown name or
**   a dictionary that cannot be made.
*/
int osysibmGetId(const ochar *pcharColType);

/*
** osysibmGetIdLength
**   osysibmGetId for a column whose byte length is known: FLOAT of length 4
**   is REAL.  Returns the id as osysibmGetId.
*/
int osysibmGetIdLength(const ochar *pcharColType, int32_t iLength);

/*
** osysibmGetSqlId
**   The SQL type code of the COLTYPE string's first 8 data bytes (after the
**   length prefix of a varchar object): the nullable code when cNullable is
**   'Y' or 'y', else the not-null code; 0 for an unknown name.
*/
int osysibmGetSqlId(const ochar *pcharColType, char cNullable);

/*
** osysibmSql2Internal
**   The internal type id of a CLI SQL type code, -1 for a code without one.
**   SQL FLOAT (6) is an 8-byte float: DOUBLE.
*/
int osysibmSql2Internal(int iSqlType);

/*
** osysibmGetTypeStr / osysibmGetDb2TypeStr
**   For the aSqlId row n / 4, rows numbered from 1 (n = 8 is SMALLINT): its
**   long name, respectively the address of its 8-character COLTYPE (not
**   terminated).  NULL when the row is outside the table.
*/
const char *osysibmGetTypeStr(int n);
const char *osysibmGetDb2TypeStr(int n);

/* osysibmInitDictDatatypes: creates pdictDatatypes; 0, 4 when it exists, 12 when it cannot be made. */
int osysibmInitDictDatatypes(void);
/* osysibmGetSysDatatypes: the registered record of the distinct type id, or NULL. */
osysibmSysdatatypes *osysibmGetSysDatatypes(int32_t iDatatypeId);
/* osysibmDestroyDictDatatypes: destroys the registry and its records. */
void osysibmDestroyDictDatatypes(void);

/* osysibmInitDictDatabase: creates pstrdictDatabase; 0, 4 when it exists, 12 when it cannot be made. */
int osysibmInitDictDatabase(void);
/* osysibmGetSysDatabase: the registered record of the name (blank-padded to 8), or NULL. */
osysibmSysdatabase *osysibmGetSysDatabase(const ochar *pcharName);
/* osysibmDestroyDictDatabase: destroys the registry and its records. */
void osysibmDestroyDictDatabase(void);

/* osysibmDetermineCcsid: a hook without effect. */
void osysibmDetermineCcsid(void);

#endif
