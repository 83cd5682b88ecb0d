/*
** ixf.cpp
**   IXF header records (H, T, C) of a SELECT, the virtual output columns
**   that frame each row into D records, and the two framing converters.
**   The record layouts are in run/ixf.h.  Each record is composed field by
**   field at its offsets in a local buffer and checked before it is appended,
**   so the header string only ever holds whole records.  Called by the
**   control step in the main process (header, virtual columns) and by the
**   row converter in a writer (framing converters).
*/
#include "run/ixf.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <vector>

#include "common/ochaine.h"
#include "common/ochar.h"
#include "common/ocnvft.h"
#include "common/omsgs.h"
#include "model/token.h"
#include "model/zoratom.h"
#include "model/zormsgs.h"
#include "model/zortask.h"
#include "expr/zorcol.h"
#include "expr/zornode.h"
#include "model/oconvert.h"
#include "model/orow.h"
#include "run/zorucore.h"

#define OMSGS_TRACE_KEYWORD "$IXF"
#define OMSGS_DEBUG_KEYWORD "$IXFD"
#include "common/omsgsmod.h"

/* Virtual column types (low byte of the type key). */
#define IXF_TYPE_END    0x4D   /* closes a D record */
#define IXF_TYPE_HEADER 0x4E   /* opens a D record: constant header text */

/* Width of the length field that opens every record. */
#define IXF_LENGTH_FIELD 6

/* Largest LOB length written inline, and the size of a LOB file reference. */
#define IXF_LOB_INLINE_MAX 32700
#define IXF_LOB_FILE_REF   268

/* ------------------------------------------------------------ small helpers */

/* Text and byte length of a string; NULL and a string without buffer are empty. */
static const char *_ixfText(const ochar *pchar, int32_t *pilLength)
{
  if (pchar == nullptr || pchar->pcData == nullptr || pchar->ilBU <= 0) {
    *pilLength = 0;
    return "";
  }
  *pilLength = pchar->ilBU;
  return pchar->pcData + ((pchar->usFlags & OCHAR_VARCHAR) ? 2 : 0);
}

/* The string of an OCHAR atom found from the task up through its owners, or NULL. */
static const ochar *_ixfAtomString(zortask *ptask, int iSlot)
{
  zoratom *patom = zortaskDetermineAtom(ptask, gapnameTotalToken[iSlot]);
  if (patom == nullptr || patom->iKind != ZORATOM_OCHAR) return nullptr;
  return patom->value.pchar;
}

/* The column of a ZORCOL atom of the task (or an owner), or NULL. */
static zorcol *_ixfAtomColumn(zortask *ptask, int iSlot)
{
  zoratom *patom = zortaskDetermineAtom(ptask, gapnameTotalToken[iSlot]);
  if (patom == nullptr || patom->iKind != ZORATOM_ZORCOL) return nullptr;
  return patom->value.pcol;
}

/* Number of output-column tasks of a SELECT. */
static int32_t _ixfColumnCount(const zortask *ptaskSelect)
{
  return ptaskSelect->pchaineSubTasks != nullptr ? ptaskSelect->pchaineSubTasks->iItemCount : 0;
}

/* True when the value has at most iWidth decimal digits and is not negative. */
static bool _ixfFits(long long llValue, int iWidth)
{
  if (llValue < 0) return false;
  long long llLimit = 1;
  for (int i = 0; i < iWidth && llLimit <= llValue; i++) llLimit *= 10;
  return llValue < llLimit;
}

/* Writes the value as exactly iWidth digits with leading zeros.  REQUIRES: _ixfFits. */
static void _ixfPutDigits(unsigned char *puc, int iWidth, long long llValue)
{
  for (int i = iWidth - 1; i >= 0; i--) {
    puc[i] = static_cast<unsigned char>('0' + llValue % 10);
    llValue /= 10;
  }
}

/*
** Writes a number field, or issues ZORU441E naming the field and the
** column or table it belongs to when the value does not fit.
** Returns 0 or IXF_RC_FIELD.
*/
static int _ixfNumber(unsigned char *puc, int iWidth, long long llValue, const char *pcField,
                      const ochar *pcharOwner)
{
  if (!_ixfFits(llValue, iWidth)) {
    int32_t ilOwner;
    const char *pcOwner = _ixfText(pcharOwner, &ilOwner);
    omsgsFMTEDO(ZORU441E, pcField, llValue, iWidth, static_cast<int>(ilOwner), pcOwner);
    return IXF_RC_FIELD;
  }
  _ixfPutDigits(puc, iWidth, llValue);
  return 0;
}

/*
** Writes a string field padded with the fill byte, or issues ZORU440E when
** the string is longer than the field.  pcharNamed names the thing in the
** message (the string itself, or the column a default value belongs to).
** Returns 0 or IXF_RC_FIELD.
*/
static int _ixfString(unsigned char *puc, int iWidth, const ochar *pchar, unsigned char ucFill,
                      const char *pcWhat, const ochar *pcharNamed)
{
  int32_t ilLength;
  const char *pcText = _ixfText(pchar, &ilLength);
  if (ilLength > iWidth) {
    int32_t ilNamed;
    const char *pcNamed = _ixfText(pcharNamed, &ilNamed);
    omsgsFMTEDO(ZORU440E, pcWhat, static_cast<int>(ilNamed), pcNamed, static_cast<int>(ilLength), iWidth);
    return IXF_RC_FIELD;
  }
  std::memcpy(puc, pcText, static_cast<size_t>(ilLength));
  std::memset(puc + ilLength, ucFill, static_cast<size_t>(iWidth - ilLength));
  return 0;
}

/* Copies a literal of exactly its own length (no terminating zero). */
static void _ixfPut(unsigned char *puc, const char *pcLiteral)
{
  std::memcpy(puc, pcLiteral, std::strlen(pcLiteral));
}

/* Sets the header back to ilBU bytes after a partly appended record. */
static void _ixfTruncate(ochar *pcharHeader, int32_t ilBU)
{
  pcharHeader->ilBU = ilBU;
  pcharHeader->ilL = ilBU;
}

/* Double-byte code page of a CCSID: its double-byte part, else itself; 13488 and 1202 are 1200. */
static unsigned _ixfDoubleByte(uint16_t usCCSID)
{
  uint16_t usSingle = 0, usDouble = 0;
  ocnvftDecomposeMixed(usCCSID, &usSingle, &usDouble);
  unsigned uDouble = usDouble != 0 ? usDouble : usCCSID;
  if (uDouble == 13488 || uDouble == 1202) uDouble = 1200;
  return uDouble;
}

/* ---------------------------------------------------------------- H record */

int _ixfWriteHeaderRecord(zortask *ptaskSelect, ochar *pcharHeader)
{
  if (ptaskSelect == nullptr || pcharHeader == nullptr) return ORC_INVALID;
  unsigned char auc[IXF_H_RECORD_SIZE];
  const ochar *pcharTable = _ixfAtomString(ptaskSelect, TOKEN_TBNAME);

  _ixfPut(auc + 0, "000051");
  _ixfPut(auc + 6, "H");
  _ixfPut(auc + 7, "IXF");
  _ixfPut(auc + 10, "0002");
  _ixfPut(auc + 14, "DB2    02.00");

  std::time_t tNow = std::time(nullptr);
  struct tm tmNow;
  localtime_r(&tNow, &tmNow);
  int rc = _ixfNumber(auc + 26, 4, tmNow.tm_year + 1900LL, "YEAR", pcharTable);
  if (rc != 0) return rc;
  _ixfPutDigits(auc + 30, 2, tmNow.tm_mon + 1);
  _ixfPutDigits(auc + 32, 2, tmNow.tm_mday);
  _ixfPutDigits(auc + 34, 2, tmNow.tm_hour);
  _ixfPutDigits(auc + 36, 2, tmNow.tm_min);
  _ixfPutDigits(auc + 38, 2, tmNow.tm_sec);

  rc = _ixfNumber(auc + 40, 5, _ixfColumnCount(ptaskSelect) + 2LL, "HEADING RECORD COUNT", pcharTable);
  if (rc != 0) return rc;

  /* CCSID triple: single-byte, mixed, double-byte */
  uint16_t usSingle = 0, usMixed = 0, usDouble = 0;
  zoratom *patomCcsid = zortaskDetermineAtom(ptaskSelect, gapnameTotalToken[TOKEN_CCSID]);
  if (patomCcsid != nullptr && patomCcsid->iKind == ZORATOM_TRISHORT) {
    usSingle = patomCcsid->value.ausShort[0];
    usMixed = patomCcsid->value.ausShort[1];
    usDouble = patomCcsid->value2.usShort;
  }
  _ixfPutDigits(auc + 45, 5, usSingle);
  /* a single-byte database has no double-byte code page: DB2's own files say 00000 */
  bool boSingleByte = ocharDetermineBCS(usMixed) == ZORCOL_SBCS;
  _ixfPutDigits(auc + 50, 5, boSingleByte ? 0 : _ixfDoubleByte(usDouble));
  _ixfPut(auc + 55, "  ");

  return ocharAppendFixedS(pcharHeader, auc, IXF_H_RECORD_SIZE);
}

/* ---------------------------------------------------------------- T record */

int _ixfWriteTableRecord(zortask *ptaskSelect, ochar *pcharHeader)
{
  if (ptaskSelect == nullptr || pcharHeader == nullptr) return ORC_INVALID;
  unsigned char auc[IXF_T_RECORD_SIZE];
  const ochar *pcharTable = _ixfAtomString(ptaskSelect, TOKEN_TBNAME);
  const ochar *pcharQualifier = _ixfAtomString(ptaskSelect, TOKEN_TBQUALIFIER);
  int32_t ilTable, ilQualifier;
  _ixfText(pcharTable, &ilTable);
  _ixfText(pcharQualifier, &ilQualifier);

  _ixfPut(auc + 0, "001604");
  _ixfPut(auc + 6, "T");
  int rc = _ixfString(auc + 10, 256, pcharTable, ' ', "TABLE NAME", pcharTable);
  if (rc == 0) rc = _ixfString(auc + 269, 256, pcharQualifier, ' ', "QUALIFIER", pcharQualifier);
  if (rc != 0) return rc;
  _ixfPutDigits(auc + 7, 3, ilTable);          /* both at most 256: they fit */
  _ixfPutDigits(auc + 266, 3, ilQualifier);
  _ixfPut(auc + 525, "ZAV UNLOAD  ");
  _ixfPut(auc + 537, "C");
  _ixfPut(auc + 538, "M");
  _ixfPut(auc + 539, "PC   ");
  _ixfPut(auc + 544, "I");
  rc = _ixfNumber(auc + 545, 5, _ixfColumnCount(ptaskSelect), "COLUMN COUNT", pcharTable);
  if (rc != 0) return rc;
  std::memset(auc + 550, ' ', 2 + 30);
  std::memset(auc + 582, 0, 4 * 257);

  return ocharAppendFixedS(pcharHeader, auc, IXF_T_RECORD_SIZE);
}

/* ---------------------------------------------------------------- C record */

int _ixfFillCcsid(const zorcol *pcol, ochar *pcharHeader)
{
  if (pcol == nullptr || pcharHeader == nullptr) return ORC_INVALID;
  uint16_t usCCSID = static_cast<uint16_t>(pcol->sCCSID);
  unsigned uSingle = 0, uDouble = 0;
  if (pcol->usFlags & (ZORCOL_SBCS | ZORCOL_VBCS)) {
    uint16_t usSingle = usCCSID, usDouble = 0;   /* an unknown mixed CCSID stays itself */
    ocnvftDecomposeMixed(usCCSID, &usSingle, &usDouble);
    uSingle = usSingle;
  } else if (pcol->usFlags & ZORCOL_DBCS) {
    uDouble = _ixfDoubleByte(usCCSID);
  }
  unsigned char auc[10];
  _ixfPutDigits(auc, 5, uSingle);
  _ixfPutDigits(auc + 5, 5, uDouble);
  return ocharAppendFixedS(pcharHeader, auc, 10);
}

/* How a type is described in its C record and how far its value reaches in the D record. */
enum ixfLengthKind { IXF_LEN_BLANKS, IXF_LEN_STORAGE, IXF_LEN_DECIMAL, IXF_LEN_LOB, IXF_LEN_DBCLOB };
enum ixfAdvanceKind {
  IXF_ADV_STORAGE,        /* storage length */
  IXF_ADV_VARCHAR,        /* 2 + storage length */
  IXF_ADV_GRAPHIC,        /* 2 x storage length */
  IXF_ADV_VARGRAPHIC,     /* 2 + 2 x storage length */
  IXF_ADV_FIXED,          /* a fixed width */
  IXF_ADV_NEW_RECORD      /* the column ends its D record */
};

struct ixfTypeLine {
  const char    *pcSqlType;
  ixfLengthKind  length;
  ixfAdvanceKind advance;
  int            iFixed;   /* IXF_ADV_FIXED: the width */
};

/* Indexed by internal type id 1 to 18; LOBs here are the inline form. */
static const ixfTypeLine gaixfType[19] = {
  {nullptr, IXF_LEN_BLANKS, IXF_ADV_STORAGE, 0},
  {"500", IXF_LEN_BLANKS, IXF_ADV_STORAGE, 0},        /* 1 SMALLINT */
  {"496", IXF_LEN_BLANKS, IXF_ADV_STORAGE, 0},        /* 2 INTEGER */
  {"484", IXF_LEN_DECIMAL, IXF_ADV_STORAGE, 0},       /* 3 DECIMAL */
  {"480", IXF_LEN_STORAGE, IXF_ADV_STORAGE, 0},       /* 4 DOUBLE */
  {"480", IXF_LEN_STORAGE, IXF_ADV_STORAGE, 0},       /* 5 REAL */
  {"492", IXF_LEN_BLANKS, IXF_ADV_STORAGE, 0},        /* 6 BIGINT */
  {"452", IXF_LEN_STORAGE, IXF_ADV_STORAGE, 0},       /* 7 CHAR */
  {"448", IXF_LEN_STORAGE, IXF_ADV_VARCHAR, 0},       /* 8 VARCHAR */
  {"456", IXF_LEN_STORAGE, IXF_ADV_NEW_RECORD, 0},    /* 9 LONG VARCHAR */
  {"384", IXF_LEN_BLANKS, IXF_ADV_FIXED, 10},         /* 10 DATE */
  {"388", IXF_LEN_BLANKS, IXF_ADV_FIXED, 8},          /* 11 TIME */
  {"392", IXF_LEN_BLANKS, IXF_ADV_FIXED, 26},         /* 12 TIMESTAMP */
  {"468", IXF_LEN_STORAGE, IXF_ADV_GRAPHIC, 0},       /* 13 GRAPHIC */
  {"464", IXF_LEN_STORAGE, IXF_ADV_VARGRAPHIC, 0},    /* 14 VARGRAPHIC */
  {"472", IXF_LEN_STORAGE, IXF_ADV_NEW_RECORD, 0},    /* 15 LONG VARGRAPHIC */
  {"404", IXF_LEN_LOB, IXF_ADV_NEW_RECORD, 0},        /* 16 BLOB */
  {"408", IXF_LEN_LOB, IXF_ADV_NEW_RECORD, 0},        /* 17 CLOB */
  {"412", IXF_LEN_DBCLOB, IXF_ADV_NEW_RECORD, 0},     /* 18 DBCLOB */
};

/* SQL types of the LOB file reference and location specifier forms of BLOB, CLOB, DBCLOB. */
static const char *const gapcixfLobFile[3] = {"916", "920", "924"};
static const char *const gapcixfLobLls[3] = {"960", "964", "968"};

/* LOB form of a target key: 0 inline, 1 LOB file reference, 2 location specifier. */
static int _ixfLobForm(int32_t iKey)
{
  if (!(iKey & COLKEY_LOBFILE)) return 0;
  return (iKey & COLKEY_DD_LLS) ? 2 : 1;
}

int _ixfWriteColRecord(zortask *ptaskCol, ochar *pcharHeader, int *piRecord, int *piPosition)
{
  if (ptaskCol == nullptr || pcharHeader == nullptr || piRecord == nullptr || piPosition == nullptr)
    return ORC_INVALID;
  zorcol *pcol = _ixfAtomColumn(ptaskCol, TOKEN_COL);
  if (pcol == nullptr) return ORC_INVALID;
  const ochar *pcharName = pcol->pcharName;

  int iType = pcol->iType & 0xFF;
  if (iType < 1 || iType > 18) {
    int32_t ilName;
    const char *pcName = _ixfText(pcharName, &ilName);
    omsgsFMTEDO(ZORU442E, static_cast<int>(ilName), pcName, pcol->iType);
    return IXF_RC_FIELD;
  }
  const ixfTypeLine &line = gaixfType[iType];
  int iLobForm = iType >= ZORCOL_T_BLOB ? _ixfLobForm(pcol->iType) : 0;
  /* a LOB's length is the declared one, its subtype: the storage length of a LOB fetched
     through DB2 is only what the row holds of it */
  long long llStorage = iType >= ZORCOL_T_BLOB ? pcol->iSubType : pcol->iLength;
  bool bNullable = (pcol->usFlags & ZORCOL_NULL) != 0;

  /* The code pages at offsets 275 to 284 are appended by _ixfFillCcsid. */
  unsigned char auc[IXF_C_RECORD_SIZE];
  _ixfPut(auc + 0, "000872");
  _ixfPut(auc + 6, "C");
  int rc = _ixfString(auc + 10, 256, pcharName, ' ', "COLUMN NAME", pcharName);
  if (rc != 0) return rc;
  int32_t ilName;
  _ixfText(pcharName, &ilName);
  _ixfPutDigits(auc + 7, 3, ilName);
  auc[266] = bNullable ? 'Y' : 'N';
  auc[267] = pcol->pcharDefault != nullptr ? 'Y' : 'N';
  auc[268] = 'Y';
  auc[269] = 'N';
  auc[270] = 0;
  auc[271] = 'R';
  const char *pcSqlType = iLobForm == 1 ? gapcixfLobFile[iType - ZORCOL_T_BLOB]
                          : iLobForm == 2 ? gapcixfLobLls[iType - ZORCOL_T_BLOB]
                                          : line.pcSqlType;
  _ixfPut(auc + 272, pcSqlType);

  /* column length */
  if (iLobForm == 1) {
    _ixfPutDigits(auc + 285, 5, IXF_LOB_FILE_REF - 1);
  } else if (iLobForm == 2) {
    _ixfPut(auc + 285, "00004");
  } else {
    switch (line.length) {
      case IXF_LEN_BLANKS: _ixfPut(auc + 285, "     "); break;
      case IXF_LEN_STORAGE:
        rc = _ixfNumber(auc + 285, 5, llStorage, "COLUMN LENGTH", pcharName);
        break;
      case IXF_LEN_DECIMAL:
        rc = _ixfNumber(auc + 285, 3, pcol->iSubType >> 8, "DECIMAL PRECISION", pcharName);
        if (rc == 0) rc = _ixfNumber(auc + 288, 2, pcol->iSubType & 0xFF, "DECIMAL SCALE", pcharName);
        break;
      case IXF_LEN_LOB:
        rc = _ixfNumber(auc + 285, 5, llStorage < IXF_LOB_INLINE_MAX ? llStorage : IXF_LOB_INLINE_MAX,
                        "COLUMN LENGTH", pcharName);
        break;
      case IXF_LEN_DBCLOB:
        rc = _ixfNumber(auc + 285, 5, 2 * llStorage > IXF_LOB_INLINE_MAX ? IXF_LOB_INLINE_MAX : llStorage,
                        "COLUMN LENGTH", pcharName);
        break;
    }
  }
  if (rc == 0) rc = _ixfNumber(auc + 290, 3, *piRecord, "D-RECORD NUMBER", pcharName);
  if (rc == 0) rc = _ixfNumber(auc + 293, 6, *piPosition, "D-RECORD POSITION", pcharName);
  if (rc != 0) return rc;
  std::memset(auc + 299, ' ', 30);
  if (iLobForm != 0) {
    rc = _ixfNumber(auc + 329, 20, llStorage, "LOB LENGTH", pcharName);
    if (rc != 0) return rc;
  } else {
    std::memset(auc + 329, '0', 20);
  }
  _ixfPut(auc + 349, "000");
  std::memset(auc + 352, '0', 256);
  rc = _ixfString(auc + 611, 254, pcol->pcharDefault, '0', "DEFAULT VALUE OF COLUMN", pcharName);
  if (rc != 0) return rc;
  int32_t ilDefault;
  _ixfText(pcol->pcharDefault, &ilDefault);
  _ixfPutDigits(auc + 608, 3, ilDefault);
  std::memset(auc + 865, '0', 10 + 1 + 2);

  /* where the next column goes */
  long long llAdvance = 0;
  bool bNewRecord = false;
  if (iLobForm == 1) {
    llAdvance = IXF_LOB_FILE_REF;
  } else {
    switch (line.advance) {
      case IXF_ADV_STORAGE: llAdvance = llStorage; break;
      case IXF_ADV_VARCHAR: llAdvance = 2 + llStorage; break;
      case IXF_ADV_GRAPHIC: llAdvance = 2 * llStorage; break;
      case IXF_ADV_VARGRAPHIC: llAdvance = 2 + 2 * llStorage; break;
      case IXF_ADV_FIXED: llAdvance = line.iFixed; break;
      case IXF_ADV_NEW_RECORD: bNewRecord = true; break;
    }
  }

  int32_t ilBefore = pcharHeader->ilBU;
  rc = ocharAppendFixedS(pcharHeader, auc, 275);
  if (rc == 0) rc = _ixfFillCcsid(pcol, pcharHeader);
  if (rc == 0) rc = ocharAppendFixedS(pcharHeader, auc + 285, IXF_C_RECORD_SIZE - 285);
  if (rc != 0) {
    _ixfTruncate(pcharHeader, ilBefore);
    return rc;
  }

  if (bNewRecord) {
    *piRecord += 1;
    *piPosition = 1;   /* no null indicator increment: the next column opens a new record */
  } else {
    long long llNext = *piPosition + llAdvance + (bNullable ? 2 : 0);
    /* a position past what a D record can state is refused when it is written */
    *piPosition = llNext > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(llNext);
  }
  return 0;
}

/* ---------------------------------------------------------------- header */

int ixfWriteHeader(zortask *ptaskSelect)
{
  if (ptaskSelect == nullptr) return ORC_INVALID;
  int rc = tokenInitKeyword();
  if (rc != 0) return rc;
  /* room for every record and the terminating zero, so the string never regrows */
  long long llSize = IXF_H_RECORD_SIZE + IXF_T_RECORD_SIZE +
                     static_cast<long long>(_ixfColumnCount(ptaskSelect)) * IXF_C_RECORD_SIZE + 1;
  int32_t ilCapacity = llSize > IXF_HEADER_CAPACITY && llSize < 0x7FFFFFFF ? static_cast<int32_t>(llSize)
                                                                          : IXF_HEADER_CAPACITY;
  ochar *pcharHeader = ocharCreate(ilCapacity, OCHAR_CCSID_ASCII);
  if (pcharHeader == nullptr) return ORC_NOMEM;

  rc = _ixfWriteHeaderRecord(ptaskSelect, pcharHeader);
  if (rc == 0) rc = _ixfWriteTableRecord(ptaskSelect, pcharHeader);
  int iRecord = 1, iPosition = 1;
  if (ptaskSelect->pchaineSubTasks != nullptr) {
    for (zortask *ptaskCol = static_cast<zortask *>(ptaskSelect->pchaineSubTasks->pitemTop);
         rc == 0 && ptaskCol != nullptr; ptaskCol = ptaskCol->ptaskNext)
      rc = _ixfWriteColRecord(ptaskCol, pcharHeader, &iRecord, &iPosition);
  }
  if (rc == 0) rc = ocharMakeC(pcharHeader);
  if (rc != 0) {
    ocharDestroy(pcharHeader);
    return rc;
  }

  zoratom *patom = zoratomCreate(gapnameTotalToken[TOKEN_HEADER_IXF], ZORATOM_OCHAR, 0,
                                 reinterpret_cast<uintptr_t>(pcharHeader), nullptr, nullptr);
  if (patom == nullptr) {
    ocharDestroy(pcharHeader);
    return ORC_NOMEM;
  }
  rc = zortaskAddAtom(ptaskSelect, patom);
  if (rc != 0) zoratomDestroy(patom);   /* frees the header with it */
  return rc;
}

/* ------------------------------------------------------- virtual columns */

/*
** A new ECSTASK task owning the source column, a copy of it as target
** column (type 0x8000) and the core data.  Everything passed in is taken
** over, and freed when the task cannot be made.
*/
static zortask *_ixfCreateVirtualTask(zorcol *pcolSource, zorucoreData *pcore)
{
  zorcol *pcolTarget = pcolSource != nullptr ? zorcolClone(pcolSource) : nullptr;
  zortask *ptask = zortaskCreateNamed(gapnameTotalToken[TOKEN_ECSTASK]);
  zoratom *apatom[3] = {nullptr, nullptr, nullptr};
  if (pcolSource != nullptr && pcore != nullptr && pcolTarget != nullptr && ptask != nullptr) {
    pcolTarget->iType = COLKEY_IXF;
    apatom[0] = zoratomCreate(gapnameTotalToken[TOKEN_SOURCECOL], ZORATOM_ZORCOL, 0,
                              reinterpret_cast<uintptr_t>(pcolSource), nullptr, nullptr);
    apatom[1] = zoratomCreate(gapnameTotalToken[TOKEN_COL], ZORATOM_ZORCOL, 0,
                              reinterpret_cast<uintptr_t>(pcolTarget), nullptr, nullptr);
    apatom[2] = zoratomCreate(gapnameTotalToken[TOKEN_COREDATA], ZORATOM_COREDATA, 0,
                              reinterpret_cast<uintptr_t>(pcore), nullptr, nullptr);
  }
  if (apatom[0] == nullptr || apatom[1] == nullptr || apatom[2] == nullptr) {
    /* free each value once: through its atom when the atom exists */
    if (apatom[0] != nullptr) zoratomDestroy(apatom[0]); else zorcolDestroy(pcolSource);
    if (apatom[1] != nullptr) zoratomDestroy(apatom[1]); else zorcolDestroy(pcolTarget);
    if (apatom[2] != nullptr) {
      zoratomDestroy(apatom[2]);
    } else if (pcore != nullptr) {
      zorucoreDataDestroy(pcore);
      std::free(pcore);
    }
    zortaskDestroy(ptask);
    return nullptr;
  }
  bool bFailed = false;
  for (zoratom *patom : apatom) {
    if (bFailed || zortaskAddAtom(ptask, patom) != 0) {
      bFailed = true;
      zoratomDestroy(patom);
    }
  }
  if (bFailed) {
    zortaskDestroy(ptask);
    return nullptr;
  }
  return ptask;
}

/* A source column of a virtual column: no name, number 0, single-byte, CCSID 850. */
static zorcol *_ixfVirtualSource(zornode *pnode, int32_t iType, int32_t iLength)
{
  if (pnode == nullptr) return nullptr;
  zorcol *pcol = zorcolCreate(nullptr, 0, pnode, ZORCOL_SBCS);
  if (pcol == nullptr) {
    zornodeDestroy(pnode);
    return nullptr;
  }
  pcol->iType = iType;
  pcol->iSubType = iLength;
  pcol->iLength = iLength;
  pcol->sCCSID = OCHAR_CCSID_ASCII;
  return pcol;
}

zortask *_ixfCreateColForRecordHeader(zortask *ptaskSelect, int iRecord)
{
  (void)ptaskSelect;
  if (iRecord < 1 || iRecord > IXF_D_MAX_NUMBER) return nullptr;
  if (tokenInitKeyword() != 0) return nullptr;
  unsigned char aucText[IXF_D_TEXT_SIZE];
  aucText[0] = 'D';
  _ixfPutDigits(aucText + 1, 3, iRecord);
  std::memset(aucText + 4, ' ', 4);
  ochar *pcharText = ocharCreate(IXF_D_TEXT_SIZE, OCHAR_CCSID_ASCII);
  if (pcharText == nullptr) return nullptr;
  if (ocharAppendFixedS(pcharText, aucText, IXF_D_TEXT_SIZE) != 0) {
    ocharDestroy(pcharText);
    return nullptr;
  }
  zorucoreData *pcore = zorucoreDataCreate();
  if (pcore == nullptr) {
    ocharDestroy(pcharText);
    return nullptr;
  }
  pcore->pcharConstant = pcharText;   /* the literal node keeps its own copy */
  zorcol *pcolSource = _ixfVirtualSource(zornodeCreateLitteral(pcharText, nullptr, nullptr),
                                         IXF_TYPE_HEADER, IXF_D_TEXT_SIZE);
  return _ixfCreateVirtualTask(pcolSource, pcore);
}

zortask *_ixfCreateColForRecordEnd(zortask *ptaskSelect, int iHeaderIndex)
{
  (void)ptaskSelect;
  if (iHeaderIndex < 0) return nullptr;
  if (tokenInitKeyword() != 0) return nullptr;
  zorucoreData *pcore = zorucoreDataCreate();
  if (pcore == nullptr) return nullptr;
  pcore->iWorkCapacity = iHeaderIndex;
  zorcol *pcolSource = _ixfVirtualSource(
      zornodeCreate(ZORNODE_CSTE, NODE_CTCHR, nullptr, nullptr, 0, nullptr, nullptr), IXF_TYPE_END,
      IXF_LENGTH_FIELD);
  return _ixfCreateVirtualTask(pcolSource, pcore);
}

/*
** Whether the output column ends its D record: a LONG VARCHAR, LONG
** VARGRAPHIC or LOB source, unless the LOB goes to a LOB file without
** location specifier.  Returns 0, or ORC_INVALID when the task has no COL.
*/
static int _ixfEndsRecord(zortask *ptaskCol, bool *pbEnds)
{
  zorcol *pcolTarget = _ixfAtomColumn(ptaskCol, TOKEN_COL);
  if (pcolTarget == nullptr) return ORC_INVALID;
  zorcol *pcolSource = _ixfAtomColumn(ptaskCol, TOKEN_SOURCECOL);
  int iType = (pcolSource != nullptr ? pcolSource->iType : pcolTarget->iType) & 0xFF;
  bool bLong = iType == ZORCOL_T_LONGVAR || iType == ZORCOL_T_LONGVARG ||
               (iType >= ZORCOL_T_BLOB && iType <= ZORCOL_T_DBCLOB);
  *pbEnds = bLong && _ixfLobForm(pcolTarget->iType) != 1;
  return 0;
}

int ixfAddVirtualCol(zortask *ptaskSelect)
{
  if (ptaskSelect == nullptr) return ORC_INVALID;
  ochaine *pchaine = ptaskSelect->pchaineSubTasks;
  if (pchaine == nullptr || pchaine->pitemTop == nullptr) return 0;
  int rc = tokenInitKeyword();
  if (rc != 0) return rc;

  std::vector<zortask *> vReal, vFinal, vNew;
  try {
    std::vector<bool> vEnds;
    for (zortask *ptask = static_cast<zortask *>(pchaine->pitemTop); ptask != nullptr; ptask = ptask->ptaskNext) {
      bool bEnds = false;
      rc = _ixfEndsRecord(ptask, &bEnds);
      if (rc != 0) return rc;
      vReal.push_back(ptask);
      vEnds.push_back(bEnds);
    }
    int iRecords = 1;
    for (size_t i = 1; i < vReal.size(); i++)
      if (vEnds[i - 1]) iRecords++;
    if (iRecords > IXF_D_MAX_NUMBER) {
      int32_t ilTable;
      const char *pcTable = _ixfText(_ixfAtomString(ptaskSelect, TOKEN_TBNAME), &ilTable);
      omsgsFMTEDO(ZORU441E, "D-RECORD NUMBER", static_cast<long long>(iRecords), 3,
                  static_cast<int>(ilTable), pcTable);
      return IXF_RC_FIELD;
    }
    vFinal.reserve(vReal.size() + 2 * static_cast<size_t>(iRecords));
    vNew.reserve(2 * static_cast<size_t>(iRecords));

    /* H1 c1 ... ck E H2 ck+1 ... cn E */
    bool bFailed = false;
    auto add = [&](zortask *ptaskVirtual) {
      if (ptaskVirtual == nullptr) bFailed = true;
      else {
        vNew.push_back(ptaskVirtual);
        vFinal.push_back(ptaskVirtual);
      }
    };
    int iRecord = 1;
    int iHeaderIndex = 0;
    add(_ixfCreateColForRecordHeader(ptaskSelect, iRecord));
    for (size_t i = 0; i < vReal.size() && !bFailed; i++) {
      if (i > 0 && vEnds[i - 1]) {
        add(_ixfCreateColForRecordEnd(ptaskSelect, iHeaderIndex));
        iHeaderIndex = static_cast<int>(vFinal.size());
        add(_ixfCreateColForRecordHeader(ptaskSelect, ++iRecord));
      }
      vFinal.push_back(vReal[i]);
    }
    if (!bFailed) add(_ixfCreateColForRecordEnd(ptaskSelect, iHeaderIndex));
    if (bFailed) {
      for (zortask *ptask : vNew) zortaskDestroy(ptask);
      return ORC_NOMEM;
    }
  } catch (const std::bad_alloc &) {
    for (zortask *ptask : vNew) zortaskDestroy(ptask);
    return ORC_NOMEM;
  }

  /* nothing can fail from here on: relink the chain in its final order */
  for (zortask *ptask : vReal) ochaineRemoveItem(pchaine, ptask);
  for (zortask *ptask : vFinal) {
    ochaineAppend(pchaine, ptask);
    ptask->ptaskOwner = ptaskSelect;
  }
  return 0;
}

/* ------------------------------------------------------ framing converters */

int _zorucore_Ixf_Row_Header(orow *prowSource, orow *prowTarget)
{
  if (prowSource == nullptr || prowTarget == nullptr || prowTarget->pcoldef == nullptr ||
      prowTarget->iCurrent < 0 || prowTarget->iCurrent >= prowTarget->iCount || prowTarget->pcCursor == nullptr)
    return OCONVERT_RC_STOPROW;
  rowColDef *pcoldef = &prowTarget->pcoldef[prowTarget->iCurrent];
  const zorucoreData *pcore = static_cast<const zorucoreData *>(pcoldef->pExtra);
  if (pcore == nullptr || pcore->pcharConstant == nullptr) return OCONVERT_RC_STOPROW;
  int32_t ilText;
  const char *pcText = _ixfText(pcore->pcharConstant, &ilText);
  char *pcRecord = prowTarget->pcCursor;
  if (prowTarget->pcEnd != nullptr && prowTarget->pcEnd - pcRecord < IXF_LENGTH_FIELD + ilText)
    return OCONVERT_RC_STOPROW;

  std::memcpy(pcRecord + IXF_LENGTH_FIELD, pcText, static_cast<size_t>(ilText));
  pcoldef->pcData = pcRecord;
  prowTarget->pcCursor = pcRecord + IXF_LENGTH_FIELD + ilText;
  prowSource->iCurrent++;
  prowTarget->iCurrent++;
  return 0;
}

int _zorucore_Ixf_Row_End(orow *prowSource, orow *prowTarget)
{
  if (prowSource == nullptr || prowTarget == nullptr || prowTarget->pcoldef == nullptr ||
      prowTarget->iCurrent < 0 || prowTarget->iCurrent >= prowTarget->iCount || prowTarget->pcCursor == nullptr)
    return OCONVERT_RC_STOPROW;
  const zorucoreData *pcore = static_cast<const zorucoreData *>(prowTarget->pcoldef[prowTarget->iCurrent].pExtra);
  if (pcore == nullptr || pcore->iWorkCapacity < 0 || pcore->iWorkCapacity >= prowTarget->iCount)
    return OCONVERT_RC_STOPROW;
  char *pcRecord = prowTarget->pcoldef[pcore->iWorkCapacity].pcData;
  char *pcCursor = prowTarget->pcCursor;
  /* the record must have been opened inside this buffer, before the cursor */
  if (pcRecord == nullptr || (prowTarget->pcStart != nullptr && pcRecord < prowTarget->pcStart) ||
      pcCursor - pcRecord < IXF_D_HEADER_SIZE)
    return OCONVERT_RC_STOPROW;

  long long llLength = pcCursor - pcRecord - IXF_LENGTH_FIELD;
  prowSource->iCurrent++;
  prowTarget->iCurrent++;
  if (llLength > IXF_D_MAX_LENGTH) {
    omsgsFMTEDO(ZORU443E, pcRecord + 7, llLength);
    return IXF_RC_RECORD_TOO_LONG;
  }
  _ixfPutDigits(reinterpret_cast<unsigned char *>(pcRecord), IXF_LENGTH_FIELD, llLength);
  return 0;
}
