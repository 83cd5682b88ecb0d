/*
** zorucoreixf.cpp
**   IXF column converters for rows read from table spaces and rows fetched
**   through CLI, and their two null steps.  Each converter is one line of
**   description (where the value lies, how wide its field is, how it is
**   written); one routine writes them all.  See run/zorucoreixf.h.
*/
#include "run/zorucoreixf.h"

#include <cstring>

#include "common/obyte.h"
#include "run/zorucorechar.h"
#include "run/zorucorecli.h"
#include "run/zorucoredate.h"
#include "run/zorucoredel.h"

#define OMSGS_TRACE_KEYWORD "$UCORE"
#define OMSGS_DEBUG_KEYWORD nullptr
#include "common/omsgsmod.h"

/* Largest length an i16 length field holds. */
#define UCORE_I16_MAX 32767
/* Longest file name a file reference holds (a zero byte follows it), however it was read. */
#define UCORE_LOBFILE_NAME_MAX  (ZORUCORE_IXF_LOBFILE_SIZE - 13)
/* Longest location specifier, read from a table space (two zero bytes follow it) or through CLI. */
#define UCORE_LLS_TEXT_MAX      (ZORUCORE_IXF_LLS_SIZE - 2)
#define UCORE_CLI_LLS_TEXT_MAX  ZORUCORE_IXF_LLS_SIZE

/* ------------------------------------------------------------- null steps */

/* Checks the rows and fills pcol; IXF columns have no separator. */
static int _ucoreIxfBegin(orow *prowSource, orow *prowTarget, zorucoreCol *pcol)
{
  return _zorucoreColInit(prowSource, prowTarget, pcol);
}

static bool _ucoreNullable(const orow *prowSource)
{
  return (prowSource->pcoldef[prowSource->iCurrent].iType & COLKEY_NULLABLE) != 0;
}

/* Writes the 2-byte indicator at pcOut; the new out, or NULL when it does not fit. */
static char *_ucoreIndicator(const orow *prowTarget, char *pcOut, bool boNull)
{
  if (!_zorucoreRoom(prowTarget, pcOut, 2)) return nullptr;
  pcOut[0] = pcOut[1] = boNull ? static_cast<char>(0xFF) : 0;
  return pcOut + 2;
}

int _zorucoreNullIxf(zorucoreData *pcore, orow *prowSource, orow *prowTarget, char *pcOut,
                     const unsigned char *pucValue, int32_t ilSize)
{
  int iState = _zorucoreNullState(pcore, prowSource, pucValue, ilSize);
  if (iState != ZORUCORE_VALUE_PRESENT && iState != ZORUCORE_VALUE_NULL && iState != ZORUCORE_VALUE_ABSENT)
    return iState;
  bool boNullable = _ucoreNullable(prowSource);
  if (iState == ZORUCORE_VALUE_PRESENT) {
    if (!boNullable) return 0;
    char *pc = _ucoreIndicator(prowTarget, pcOut, false);
    if (pc == nullptr) return ZORUCORE_RC_NOROOM;
    prowTarget->pcCursor = pc;
    return 0;
  }
  if (iState == ZORUCORE_VALUE_NULL || boNullable) {
    char *pc = _ucoreIndicator(prowTarget, pcOut, true);
    if (pc == nullptr) return ZORUCORE_RC_NOROOM;
    _zorucoreColEnd(prowSource, prowTarget, pc);
    return 1;
  }
  /* not nullable and added after the record was written: the default's IXF bytes */
  int32_t ilText = (pcore->pcDefault != nullptr && pcore->sDefaultLength > 0) ? pcore->sDefaultLength : 0;
  if (!_zorucoreRoom(prowTarget, pcOut, ilText)) return ZORUCORE_RC_NOROOM;
  if (ilText > 0) std::memcpy(pcOut, pcore->pcDefault, static_cast<size_t>(ilText));
  omsgsTrace("DefaultValue = <%.*s>\n", static_cast<int>(ilText), ilText > 0 ? pcore->pcDefault : "");
  _zorucoreColEnd(prowSource, prowTarget, pcOut + ilText);
  return 1;
}

/* cFill (zeros by default) from pcFrom up to the field's end; the new out, or NULL when the field does not fit. */
static char *_ucoreZeroTo(const orow *prowTarget, char *pcFrom, char *pcFieldEnd, char cFill = 0)
{
  if (pcFrom >= pcFieldEnd) return pcFieldEnd;
  if (!_zorucoreRoom(prowTarget, pcFrom, pcFieldEnd - pcFrom)) return nullptr;
  std::memset(pcFrom, cFill, static_cast<size_t>(pcFieldEnd - pcFrom));
  return pcFieldEnd;
}


/* ------------------------------------------------------------- converters */

enum ucoreIxfKind {
  UCORE_IXF_FIXED,      /* the record's bytes: numbers, DECIMAL, CHAR, GRAPHIC */
  UCORE_IXF_VAR,        /* VARCHAR, VARGRAPHIC: length, bytes, zeros */
  UCORE_IXF_LONG,       /* LONG VARCHAR, LONG VARGRAPHIC: length, bytes */
  UCORE_IXF_DATETIME,   /* DATE, TIME, TIMESTAMP: the template with the digits */
  UCORE_IXF_LOB,        /* LOB held: i32 length, bytes */
  UCORE_IXF_LOBFILE,    /* file reference */
  UCORE_IXF_LLS,        /* location specifier */
  UCORE_IXF_CLI_VAR,    /* the same, read from a CLI row */
  UCORE_IXF_CLI_LONG,
  UCORE_IXF_CLI_DATETIME,
  UCORE_IXF_CLI_LOB,
  UCORE_IXF_CLI_LOBFILE,
  UCORE_IXF_CLI_LLS
};

/* How a fixed value's size follows from its definition. */
enum ucoreIxfSize {
  UCORE_SZ_CONST,     /* iSize bytes */
  UCORE_SZ_DECIMAL,   /* precision / 2 + 1 */
  UCORE_SZ_LENGTH,    /* the length */
  UCORE_SZ_GRAPHIC    /* twice the length */
};

struct ucoreIxfType {
  ucoreIxfKind kind;
  ucoreIxfSize size;
  int          iSize;      /* UCORE_SZ_CONST: bytes; DATETIME: the internal type 10, 11 or 12 */
  bool         boGraphic;  /* lengths in characters */
};

/* Size of the packed value and IXF width of a DATE, TIME, TIMESTAMP without template. */
static int _ucorePackedSize(int iType) { return iType == 10 ? 4 : iType == 11 ? 3 : 10; }
static int _ucoreTextSize(int iType) { return iType == 10 ? 10 : iType == 11 ? 8 : 26; }

/* The DEL converter whose text is the IXF text of a DATE, TIME or TIMESTAMP (all groups, template). */
static oconvertFunc _ucoreDateTimeFunc(int iType)
{
  return iType == 10 ? _zorucore_DateA2Delimited
         : iType == 11 ? _zorucore_Time2Delimited
                       : _zorucore_Timestamp2Delimited;
}

/* Bytes of the value in the source row, as the null test takes them. */
static int32_t _ucoreIxfValueSize(const ucoreIxfType *ptype, const rowColDef *pdef)
{
  switch (ptype->kind) {
    case UCORE_IXF_FIXED:
      switch (ptype->size) {
        case UCORE_SZ_CONST:   return ptype->iSize;
        case UCORE_SZ_DECIMAL: return ((pdef->iLength >> 8) & 0xFF) / 2 + 1;
        case UCORE_SZ_LENGTH:  return pdef->iLength;
        case UCORE_SZ_GRAPHIC: return 2 * pdef->iLength;
      }
      return 0;
    case UCORE_IXF_VAR:
    case UCORE_IXF_LONG:
    case UCORE_IXF_LOB:
    case UCORE_IXF_LOBFILE:
    case UCORE_IXF_LLS:
      return 4;
    case UCORE_IXF_DATETIME:
      return _ucorePackedSize(ptype->iSize);
    case UCORE_IXF_CLI_DATETIME:
      return pdef->iLength;
    default:
      return ZORUCORE_CLI_SLOT_VALUE;
  }
}

/* Width of the value's field in the D record; -1 for the variable-width kinds. */
static int64_t _ucoreIxfWidth(const ucoreIxfType *ptype, const rowColDef *pdef, const zorucoreData *pcore)
{
  switch (ptype->kind) {
    case UCORE_IXF_FIXED:
      return _ucoreIxfValueSize(ptype, pdef);
    case UCORE_IXF_VAR:
    case UCORE_IXF_CLI_VAR:
      return 2 + (ptype->boGraphic ? 2 * static_cast<int64_t>(pdef->iLength) : pdef->iLength);
    case UCORE_IXF_DATETIME:
    case UCORE_IXF_CLI_DATETIME:
      return pcore->sTemplateLength > 0 ? pcore->sTemplateLength : _ucoreTextSize(ptype->iSize);
    case UCORE_IXF_LOBFILE:
    case UCORE_IXF_CLI_LOBFILE:
      return ZORUCORE_IXF_LOBFILE_SIZE;
    case UCORE_IXF_LLS:
    case UCORE_IXF_CLI_LLS:
      return ZORUCORE_IXF_LLS_SIZE;
    default:
      return -1;
  }
}

/* The LOB descriptor's held bytes and, when asked, the LOB's full length. */
static int _ucoreLobHeld(const zorucoreCol *pcol, const unsigned char *pucSlot, const unsigned char **ppucBytes,
                         int32_t *pilHeld, int32_t *pilFull)
{
  const unsigned char *pucDesc = _zorucoreValue(pcol, obyteGetLE16(pucSlot), ZORUCORE_LOB_SIZE);
  if (pucDesc == nullptr) return ZORUCORE_RC_BADVALUE;
  int32_t ilHeld = static_cast<int32_t>(obyteGetLE32(pucDesc + ZORUCORE_LOB_LENGTH));
  int32_t ilOffset = static_cast<int32_t>(obyteGetLE32(pucDesc + ZORUCORE_LOB_OFFSET));
  if (pilFull != nullptr) *pilFull = static_cast<int32_t>(obyteGetLE32(pucDesc + ZORUCORE_LOB_FULL));
  const unsigned char *pucBytes = _zorucoreValue(pcol, ilOffset, ilHeld);
  if (pucBytes == nullptr) return ZORUCORE_RC_BADVALUE;
  *ppucBytes = pucBytes;
  *pilHeld = ilHeld;
  return 0;
}

/* Writes the value of a present column at pcOut; *ppcEnd gets the position after it. */
static int _ucoreIxfValue(const ucoreIxfType *ptype, zorucoreCol *pcol, orow *prowTarget, char *pcOut, char **ppcEnd)
{
  const rowColDef *pdef = pcol->pdefSrc;
  unsigned char *puc = reinterpret_cast<unsigned char *>(pcOut);
  int64_t ilWidth = _ucoreIxfWidth(ptype, pdef, pcol->pcore);
  if (ilWidth >= 0 && !_zorucoreRoom(prowTarget, pcOut, ilWidth)) return ZORUCORE_RC_NOROOM;
  const unsigned char *pucBytes = nullptr;
  int32_t ilLength = 0;
  int iRc = 0;

  switch (ptype->kind) {
    case UCORE_IXF_FIXED: {
      const unsigned char *pucValue = _zorucoreValue(pcol, pdef->sOffset, ilWidth);
      if (pucValue == nullptr) return ZORUCORE_RC_BADVALUE;
      std::memcpy(pcOut, pucValue, static_cast<size_t>(ilWidth));
      *ppcEnd = pcOut + ilWidth;
      return 0;
    }

    case UCORE_IXF_VAR:
    case UCORE_IXF_CLI_VAR: {
      if (ptype->kind == UCORE_IXF_VAR) {
        const unsigned char *pucSlot = _zorucoreValue(pcol, pdef->sOffset, 4);
        if (pucSlot == nullptr) return ZORUCORE_RC_BADVALUE;
        ilLength = obyteGetLE16(pucSlot + 2);
        pucBytes = _zorucoreValue(pcol, obyteGetLE16(pucSlot), ilLength);
        if (pucBytes == nullptr) return ZORUCORE_RC_BADVALUE;
      } else if ((iRc = _zorucoreCliBytes(pcol, &pucBytes, &ilLength)) != 0) {
        return iRc;
      }
      /* a value longer than the column's maximum would overrun the next field */
      if (ilLength > ilWidth - 2 || (ptype->boGraphic && ilLength % 2 != 0)) return ZORUCORE_RC_BADVALUE;
      obytePutLE16(puc, static_cast<uint16_t>(ptype->boGraphic ? ilLength / 2 : ilLength));
      if (ilLength > 0) std::memcpy(pcOut + 2, pucBytes, static_cast<size_t>(ilLength));
      *ppcEnd = _ucoreZeroTo(prowTarget, pcOut + 2 + ilLength, pcOut + ilWidth);
      return 0;
    }

    case UCORE_IXF_LONG:
    case UCORE_IXF_CLI_LONG: {
      if (ptype->kind == UCORE_IXF_LONG) {
        const unsigned char *pucSlot = _zorucoreValue(pcol, pdef->sOffset, 4);
        if (pucSlot == nullptr) return ZORUCORE_RC_BADVALUE;
        const unsigned char *pucDesc = _zorucoreValue(pcol, obyteGetLE16(pucSlot), ZORUCORE_LF_SIZE);
        if (pucDesc == nullptr) return ZORUCORE_RC_BADVALUE;
        ilLength = static_cast<int32_t>(obyteGetLE32(pucDesc + ZORUCORE_LF_LENGTH));
        pucBytes = _zorucoreValue(pcol, static_cast<int32_t>(obyteGetLE32(pucDesc + ZORUCORE_LF_OFFSET)), ilLength);
        if (pucBytes == nullptr) return ZORUCORE_RC_BADVALUE;
      } else if ((iRc = _zorucoreCliBytes(pcol, &pucBytes, &ilLength)) != 0) {
        return iRc;
      }
      /* the length field holds 16 bits: a longer value would be misread */
      int32_t ilUnits = ptype->boGraphic ? ilLength / 2 : ilLength;
      if (ilUnits > UCORE_I16_MAX || (ptype->boGraphic && ilLength % 2 != 0)) return ZORUCORE_RC_BADVALUE;
      if (!_zorucoreRoom(prowTarget, pcOut, 2 + static_cast<int64_t>(ilLength))) return ZORUCORE_RC_NOROOM;
      obytePutLE16(puc, static_cast<uint16_t>(ilUnits));
      if (ilLength > 0) std::memcpy(pcOut + 2, pucBytes, static_cast<size_t>(ilLength));
      *ppcEnd = pcOut + 2 + ilLength;
      return 0;
    }

    case UCORE_IXF_LOB:
    case UCORE_IXF_CLI_LOB: {
      if (ptype->kind == UCORE_IXF_LOB) {
        const unsigned char *pucSlot = _zorucoreValue(pcol, pdef->sOffset, 4);
        if (pucSlot == nullptr) return ZORUCORE_RC_BADVALUE;
        iRc = _ucoreLobHeld(pcol, pucSlot, &pucBytes, &ilLength, nullptr);
      } else {
        iRc = _zorucoreCliBytes(pcol, &pucBytes, &ilLength);
      }
      if (iRc != 0) return iRc;
      if (ilLength > ZORUCORE_LOB_INLINE_MAX) ilLength = ZORUCORE_LOB_INLINE_MAX;
      if (!_zorucoreRoom(prowTarget, pcOut, 4 + static_cast<int64_t>(ilLength))) return ZORUCORE_RC_NOROOM;
      obytePutLE32(puc, static_cast<uint32_t>(ilLength));
      if (ilLength > 0) std::memcpy(pcOut + 4, pucBytes, static_cast<size_t>(ilLength));
      *ppcEnd = pcOut + 4 + ilLength;
      return 0;
    }

    case UCORE_IXF_LOBFILE:
    case UCORE_IXF_CLI_LOBFILE: {
      int32_t ilFull = 0;
      if (ptype->kind == UCORE_IXF_LOBFILE) {
        const unsigned char *pucSlot = _zorucoreValue(pcol, pdef->sOffset, 4);
        if (pucSlot == nullptr) return ZORUCORE_RC_BADVALUE;
        iRc = _ucoreLobHeld(pcol, pucSlot, &pucBytes, &ilLength, &ilFull);
        if (iRc != 0) return iRc;
        /* the name's length without the reader's closing zero, as the CLI path gives it */
        if (ilLength > 0 && pucBytes[ilLength - 1] == 0) ilLength--;
        if (ilLength > UCORE_LOBFILE_NAME_MAX) return ZORUCORE_RC_BADVALUE;
      } else {
        iRc = _zorucoreCliBytes(pcol, &pucBytes, &ilLength);
        if (iRc != 0) return iRc;
        if (ilLength > UCORE_LOBFILE_NAME_MAX) return ZORUCORE_RC_BADVALUE;
        /* the LOB's length follows the name */
        const unsigned char *pucFull = _zorucoreValue(pcol, (pucBytes - pcol->pucData) + ilLength, 4);
        if (pucFull == nullptr) return ZORUCORE_RC_BADVALUE;
        ilFull = static_cast<int32_t>(obyteGetLE32(pucFull));
      }
      obytePutLE32(puc, static_cast<uint32_t>(ilLength));
      obytePutLE32(puc + 4, static_cast<uint32_t>(ilFull));
      obytePutLE32(puc + 8, 2);
      if (ilLength > 0) std::memcpy(pcOut + 12, pucBytes, static_cast<size_t>(ilLength));
      *ppcEnd = _ucoreZeroTo(prowTarget, pcOut + 12 + ilLength, pcOut + ilWidth);
      return 0;
    }

    case UCORE_IXF_LLS:
    case UCORE_IXF_CLI_LLS: {
      if (ptype->kind == UCORE_IXF_LLS) {
        const unsigned char *pucSlot = _zorucoreValue(pcol, pdef->sOffset, 4);
        if (pucSlot == nullptr) return ZORUCORE_RC_BADVALUE;
        iRc = _ucoreLobHeld(pcol, pucSlot, &pucBytes, &ilLength, nullptr);
        if (iRc != 0) return iRc;
        if (ilLength > 0 && pucBytes[ilLength - 1] == 0) ilLength--;   /* the reader's closing zero */
        if (ilLength > UCORE_LLS_TEXT_MAX) return ZORUCORE_RC_BADVALUE;
      } else {
        iRc = _zorucoreCliBytes(pcol, &pucBytes, &ilLength);
        if (iRc != 0) return iRc;
        if (ilLength > UCORE_CLI_LLS_TEXT_MAX) return ZORUCORE_RC_BADVALUE;
      }
      if (ilLength > 0) std::memcpy(pcOut, pucBytes, static_cast<size_t>(ilLength));
      *ppcEnd = _ucoreZeroTo(prowTarget, pcOut + ilLength, pcOut + ilWidth);
      return 0;
    }

    case UCORE_IXF_DATETIME:
    case UCORE_IXF_CLI_DATETIME: {
      int iType = ptype->iSize;
      unsigned char aucPacked[10];
      int iPacked = _ucorePackedSize(iType);
      if (ptype->kind == UCORE_IXF_DATETIME) {
        const unsigned char *pucValue = _zorucoreValue(pcol, pdef->sOffset, iPacked);
        if (pucValue == nullptr) return ZORUCORE_RC_BADVALUE;
        std::memcpy(aucPacked, pucValue, static_cast<size_t>(iPacked));
      } else {
        const unsigned char *pucText = _zorucoreValue(pcol, pdef->sOffset, pdef->iLength);
        if (pucText == nullptr || _zorucoreCliPack(iType, pucText, pdef->iLength, aucPacked) != iPacked)
          return ZORUCORE_RC_BADVALUE;
      }
      return _zorucorePackedDateTime(_ucoreDateTimeFunc(iType), iType, aucPacked, iPacked, prowTarget,
                                     ZORUCORE_FLAG_SEP | ZORUCORE_FLAG_DELIM, pcOut, ppcEnd);
    }
  }
  return ZORUCORE_RC_BADVALUE;
}

static int _ucoreIxf(orow *prowSource, orow *prowTarget, const ucoreIxfType *ptype)
{
  zorucoreCol col;
  int iRc = _ucoreIxfBegin(prowSource, prowTarget, &col);
  if (iRc != 0) return iRc;
  const rowColDef *pdef = col.pdefSrc;
  const unsigned char *pucValue = col.pucData + pdef->sOffset;
  int32_t ilSize = _ucoreIxfValueSize(ptype, pdef);
  int64_t ilWidth = _ucoreIxfWidth(ptype, pdef, col.pcore);
  bool boNullable = _ucoreNullable(prowSource);
  bool boVariable = ptype->kind == UCORE_IXF_LONG || ptype->kind == UCORE_IXF_LOB ||
                    ptype->kind == UCORE_IXF_CLI_LONG || ptype->kind == UCORE_IXF_CLI_LOB;
  if (!boVariable && ilWidth < 0) return ZORUCORE_RC_BADVALUE;   /* a definition with a negative length */

  /* a null LOB is a null with or without location specifiers: 0xFF 0xFF and an empty field */
  int iNd = _zorucoreNullIxf(col.pcore, prowSource, prowTarget, col.pcOut, pucValue, ilSize);
  if (iNd == 1) {
    char *pcField = col.pcOut + (boNullable ? 2 : 0);
    if (!boVariable) {
      /*
      ** A null's value, or a default shorter than the field: zeros (blanks
      ** after a CHAR default), so that the next field stays in place.
      */
      bool boBlanks = !boNullable && ptype->kind == UCORE_IXF_FIXED && ptype->size == UCORE_SZ_LENGTH;
      char *pc = _ucoreZeroTo(prowTarget, prowTarget->pcCursor, pcField + ilWidth, boBlanks ? ' ' : 0);
      if (pc == nullptr) return ZORUCORE_RC_NOROOM;
      prowTarget->pcCursor = pc;
    } else if (!boNullable && prowTarget->pcCursor == pcField) {
      /* a long value without default text: an empty value, its length field included */
      int64_t ilPrefix = (ptype->kind == UCORE_IXF_LOB || ptype->kind == UCORE_IXF_CLI_LOB) ? 4 : 2;
      char *pc = _ucoreZeroTo(prowTarget, pcField, pcField + ilPrefix);
      if (pc == nullptr) return ZORUCORE_RC_NOROOM;
      prowTarget->pcCursor = pc;
    }
    return 0;
  }
  if (iNd != 0) return iNd;

  char *pcEnd = nullptr;
  iRc = _ucoreIxfValue(ptype, &col, prowTarget, prowTarget->pcCursor, &pcEnd);
  if (iRc != 0) return iRc;
  if (pcEnd == nullptr) return ZORUCORE_RC_NOROOM;
  return _zorucoreColEnd(prowSource, prowTarget, pcEnd);
}

/* ------------------------------------------------------- the converters */

static const ucoreIxfType typeSmallint = {UCORE_IXF_FIXED, UCORE_SZ_CONST, 2, false};
static const ucoreIxfType typeInteger = {UCORE_IXF_FIXED, UCORE_SZ_CONST, 4, false};
static const ucoreIxfType typeBigint = {UCORE_IXF_FIXED, UCORE_SZ_CONST, 8, false};
static const ucoreIxfType typeReal = {UCORE_IXF_FIXED, UCORE_SZ_CONST, 4, false};
static const ucoreIxfType typeDouble = {UCORE_IXF_FIXED, UCORE_SZ_CONST, 8, false};
static const ucoreIxfType typeDecimal = {UCORE_IXF_FIXED, UCORE_SZ_DECIMAL, 0, false};
static const ucoreIxfType typeChar = {UCORE_IXF_FIXED, UCORE_SZ_LENGTH, 0, false};
static const ucoreIxfType typeGraphic = {UCORE_IXF_FIXED, UCORE_SZ_GRAPHIC, 0, true};
static const ucoreIxfType typeVarchar = {UCORE_IXF_VAR, UCORE_SZ_CONST, 0, false};
static const ucoreIxfType typeVargraphic = {UCORE_IXF_VAR, UCORE_SZ_CONST, 0, true};
static const ucoreIxfType typeLongvarchar = {UCORE_IXF_LONG, UCORE_SZ_CONST, 0, false};
static const ucoreIxfType typeLongvargraphic = {UCORE_IXF_LONG, UCORE_SZ_CONST, 0, true};
static const ucoreIxfType typeDate = {UCORE_IXF_DATETIME, UCORE_SZ_CONST, 10, false};
static const ucoreIxfType typeTime = {UCORE_IXF_DATETIME, UCORE_SZ_CONST, 11, false};
static const ucoreIxfType typeTimestamp = {UCORE_IXF_DATETIME, UCORE_SZ_CONST, 12, false};
static const ucoreIxfType typeLob = {UCORE_IXF_LOB, UCORE_SZ_CONST, 0, false};
static const ucoreIxfType typeLobfile = {UCORE_IXF_LOBFILE, UCORE_SZ_CONST, 0, false};
static const ucoreIxfType typeLls = {UCORE_IXF_LLS, UCORE_SZ_CONST, 0, false};
static const ucoreIxfType typeCliVarchar = {UCORE_IXF_CLI_VAR, UCORE_SZ_CONST, 0, false};
static const ucoreIxfType typeCliLongvarchar = {UCORE_IXF_CLI_LONG, UCORE_SZ_CONST, 0, false};
static const ucoreIxfType typeCliDate = {UCORE_IXF_CLI_DATETIME, UCORE_SZ_CONST, 10, false};
static const ucoreIxfType typeCliTime = {UCORE_IXF_CLI_DATETIME, UCORE_SZ_CONST, 11, false};
static const ucoreIxfType typeCliTimestamp = {UCORE_IXF_CLI_DATETIME, UCORE_SZ_CONST, 12, false};
static const ucoreIxfType typeCliLob = {UCORE_IXF_CLI_LOB, UCORE_SZ_CONST, 0, false};
static const ucoreIxfType typeCliLobfile = {UCORE_IXF_CLI_LOBFILE, UCORE_SZ_CONST, 0, false};
static const ucoreIxfType typeCliLls = {UCORE_IXF_CLI_LLS, UCORE_SZ_CONST, 0, false};

#define UCORE_IXF(name, type) \
  int name(orow *prowSource, orow *prowTarget) { return _ucoreIxf(prowSource, prowTarget, &type); }

UCORE_IXF(_zorucore_Smallint2Ixf, typeSmallint)
UCORE_IXF(_zorucore_SmallintN2Ixf, typeSmallint)
UCORE_IXF(_zorucore_Integer2Ixf, typeInteger)
UCORE_IXF(_zorucore_IntegerN2Ixf, typeInteger)
UCORE_IXF(_zorucore_Bigint2Ixf, typeBigint)
UCORE_IXF(_zorucore_BigintN2Ixf, typeBigint)
UCORE_IXF(_zorucore_Real2Ixf, typeReal)
UCORE_IXF(_zorucore_RealN2Ixf, typeReal)
UCORE_IXF(_zorucore_Double2Ixf, typeDouble)
UCORE_IXF(_zorucore_DoubleN2Ixf, typeDouble)
UCORE_IXF(_zorucore_Decimal2Ixf, typeDecimal)
UCORE_IXF(_zorucore_DecimalN2Ixf, typeDecimal)
UCORE_IXF(_zorucore_Char2Ixf, typeChar)
UCORE_IXF(_zorucore_CharN2Ixf, typeChar)
UCORE_IXF(_zorucore_Varchar2Ixf, typeVarchar)
UCORE_IXF(_zorucore_VarcharN2Ixf, typeVarchar)
UCORE_IXF(_zorucore_Longvarchar2Ixf, typeLongvarchar)
UCORE_IXF(_zorucore_LongvarcharN2Ixf, typeLongvarchar)
UCORE_IXF(_zorucore_Graphic2Ixf, typeGraphic)
UCORE_IXF(_zorucore_GraphicN2Ixf, typeGraphic)
UCORE_IXF(_zorucore_Vargraphic2Ixf, typeVargraphic)
UCORE_IXF(_zorucore_VargraphicN2Ixf, typeVargraphic)
UCORE_IXF(_zorucore_Longvargraphic2Ixf, typeLongvargraphic)
UCORE_IXF(_zorucore_LongvargraphicN2Ixf, typeLongvargraphic)
UCORE_IXF(_zorucore_Date2Ixf, typeDate)
UCORE_IXF(_zorucore_DateN2Ixf, typeDate)
UCORE_IXF(_zorucore_Time2Ixf, typeTime)
UCORE_IXF(_zorucore_TimeN2Ixf, typeTime)
UCORE_IXF(_zorucore_Timestamp2Ixf, typeTimestamp)
UCORE_IXF(_zorucore_TimestampN2Ixf, typeTimestamp)
UCORE_IXF(_zorucore_Blob2Ixf, typeLob)
UCORE_IXF(_zorucore_BlobN2Ixf, typeLob)
UCORE_IXF(_zorucore_Clob2Ixf, typeLob)
UCORE_IXF(_zorucore_ClobN2Ixf, typeLob)
UCORE_IXF(_zorucore_Dbclob2Ixf, typeLob)
UCORE_IXF(_zorucore_DbclobN2Ixf, typeLob)
UCORE_IXF(_zorucore_Blob2IxfLobinfile, typeLobfile)
UCORE_IXF(_zorucore_BlobN2IxfLobinfile, typeLobfile)
UCORE_IXF(_zorucore_Clob2IxfLobinfile, typeLobfile)
UCORE_IXF(_zorucore_ClobN2IxfLobinfile, typeLobfile)
UCORE_IXF(_zorucore_Dbclob2IxfLobinfile, typeLobfile)
UCORE_IXF(_zorucore_DbclobN2IxfLobinfile, typeLobfile)
UCORE_IXF(_zorucore_BlobN2IxfLobinfileLLS, typeLls)
UCORE_IXF(_zorucore_ClobN2IxfLobinfileLLS, typeLls)
UCORE_IXF(_zorucore_DbclobN2IxfLobinfileLLS, typeLls)

UCORE_IXF(_zorucore_VarcharN2IxfSelectDB2, typeCliVarchar)
UCORE_IXF(_zorucore_LongvarcharN2IxfSelectDB2, typeCliLongvarchar)
UCORE_IXF(_zorucore_DateN2IxfSelectDB2, typeCliDate)
UCORE_IXF(_zorucore_TimeN2IxfSelectDB2, typeCliTime)
UCORE_IXF(_zorucore_TimestampN2IxfSelectDB2, typeCliTimestamp)
UCORE_IXF(_zorucore_ClobN2IxfSelectDB2, typeCliLob)
UCORE_IXF(_zorucore_BlobN2IxfSelectDB2, typeCliLob)
UCORE_IXF(_zorucore_ClobN2IxfLobinfileSelectDB2, typeCliLobfile)
UCORE_IXF(_zorucore_BlobN2IxfLobinfileSelectDB2, typeCliLobfile)
UCORE_IXF(_zorucore_ClobN2IxfLobinfileLLSSelectDB2, typeCliLls)
UCORE_IXF(_zorucore_BlobN2IxfLobinfileLLSSelectDB2, typeCliLls)
