/*
** zorucoredel.cpp
**   DEL column converters, part one: the column frame shared by every DEL
**   converter (separator, null and default step, delimiters), the record
**   end, and SMALLINT, INTEGER, BIGINT, DECIMAL, DOUBLE and REAL.  Also the
**   PIC routines, which no converter calls.  See run/zorucoredel.h.
*/
#include "run/zorucoredel.h"

#include <unicode/ucnv.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

#include "common/obyte.h"
#include "run/zorucorefmt.h"

#define OMSGS_TRACE_KEYWORD "$UCORE"
#define OMSGS_DEBUG_KEYWORD nullptr
#include "common/omsgsmod.h"

/* ------------------------------------------------------------ column frame */

/*
** _zorucoreNullDefaultWrite
**   The part of _zorucoreNullDefault (run/zorucoredel.h) that writes a null
**   or absent value, for the state _zorucoreNullState found.
*/
int _zorucoreNullDefaultWrite(zorucoreData *pcore, orow *prowSource, orow *prowTarget, char *pcOut, int iState)
{
  bool boText;
  if (iState == ZORUCORE_VALUE_NULL) {
    boText = (pcore->ulFlags & ZORUCORE_FLAG_NULLTEXT) != 0;
  } else if (iState == ZORUCORE_VALUE_ABSENT) {
    bool boNullable = (prowSource->pcoldef[prowSource->iCurrent].iType & COLKEY_NULLABLE) != 0;
    boText = !boNullable || (pcore->ulFlags & ZORUCORE_FLAG_NULLTEXT) != 0;
  } else {
    return iState;
  }

  int32_t ilText = 0;
  if (boText && pcore->pcDefault != nullptr && pcore->sDefaultLength > 0) ilText = pcore->sDefaultLength;
  if (!_zorucoreRoom(prowTarget, pcOut, ilText)) return ZORUCORE_RC_NOROOM;
  if (ilText > 0) std::memcpy(pcOut, pcore->pcDefault, static_cast<size_t>(ilText));
  omsgsTrace("DefaultValue = <%.*s>\n", static_cast<int>(ilText), ilText > 0 ? pcore->pcDefault : "");
  _zorucoreColEnd(prowSource, prowTarget, pcOut + ilText);
  return 1;
}

/* ------------------------------------------------------------------ numbers */

enum ucoreNumKind { UCORE_SMALLINT, UCORE_INTEGER, UCORE_BIGINT, UCORE_DECIMAL, UCORE_DOUBLE, UCORE_REAL };

/* In-record size of a numeric value. */
static int32_t _ucoreNumSize(ucoreNumKind kind, const rowColDef *pdef)
{
  switch (kind) {
    case UCORE_SMALLINT: return 2;
    case UCORE_INTEGER:  return 4;
    case UCORE_BIGINT:   return 8;
    case UCORE_DECIMAL:  return ((pdef->iLength >> 8) & 0xFF) / 2 + 1;
    case UCORE_DOUBLE:   return 8;
    case UCORE_REAL:     return 4;
  }
  return 0;
}

int _zorucoreFloatText(double d, int iPrecision, char *pcBuffer, size_t ulSize)
{
  char acText[ZORUCOREFMT_FLOAT_MAX + ZORUCOREFMT_SLACK];
  int iLength = zorucorefmtFloat(d, iPrecision, acText);
  if (iLength < 0 || static_cast<size_t>(iLength) > ulSize) return -1;
  std::memcpy(pcBuffer, acText, static_cast<size_t>(iLength));
  return iLength;
}

/* The frame and text of every numeric converter. */
[[gnu::always_inline]] static inline int _ucoreNumber(orow *prowSource, orow *prowTarget, ucoreNumKind kind)
{
  zorucoreCol col;
  int iRc = _zorucoreColBegin(prowSource, prowTarget, &col);
  if (iRc != 0) return iRc;
  int32_t ilSize = _ucoreNumSize(kind, col.pdefSrc);
  int iNd = _zorucoreNullDefault(col.pcore, prowSource, prowTarget, col.pcOut,
                                 col.pucData + col.pdefSrc->sOffset, ilSize);
  if (iNd == 1) return 0;
  if (iNd != 0) return iNd;
  const unsigned char *puc = _zorucoreValue(&col, col.pdefSrc->sOffset, ilSize);
  if (puc == nullptr) return ZORUCORE_RC_BADVALUE;

  char *pcOut = col.pcOut;
  bool boPlus = (col.pcore->ulFlags & ZORUCORE_FLAG_PLUS) != 0;
  switch (kind) {
    case UCORE_SMALLINT:
    case UCORE_INTEGER:
    case UCORE_BIGINT: {
      int64_t v = kind == UCORE_SMALLINT  ? static_cast<int16_t>(obyteGetLE16(puc))
                  : kind == UCORE_INTEGER ? static_cast<int32_t>(obyteGetLE32(puc))
                                          : static_cast<int64_t>(obyteGetLE64(puc));
      int iLength = zorucorefmtIntLength(v, boPlus);
      if (!_zorucoreRoom(prowTarget, pcOut, iLength)) return ZORUCORE_RC_NOROOM;
      if (_zorucoreRoom(prowTarget, pcOut, iLength + ZORUCOREFMT_SLACK)) {
        pcOut = zorucorefmtInt(pcOut, v, boPlus);
      } else {   /* near the buffer's end: the text alone */
        char acText[ZORUCOREFMT_INT_MAX + ZORUCOREFMT_SLACK];
        zorucorefmtInt(acText, v, boPlus);
        std::memcpy(pcOut, acText, static_cast<size_t>(iLength));
        pcOut += iLength;
      }
      break;
    }
    case UCORE_DECIMAL: {
      int iPrec = (col.pdefSrc->iLength >> 8) & 0xFF;
      if (!_zorucoreRoom(prowTarget, pcOut, iPrec + 2)) return ZORUCORE_RC_NOROOM;
      pcOut = _zorucoreDecimalDel(puc, pcOut, iPrec, col.pdefSrc->iLength & 0xFF, col.pcore);
      if (pcOut == nullptr) return ZORUCORE_RC_BADVALUE;
      break;
    }
    case UCORE_DOUBLE:
    case UCORE_REAL: {
      double d;
      if (kind == UCORE_DOUBLE) {
        uint64_t ul = obyteGetLE64(puc);
        std::memcpy(&d, &ul, sizeof d);
      } else {
        uint32_t ul = obyteGetLE32(puc);
        float f;
        std::memcpy(&f, &ul, sizeof f);
        d = f;
      }
      char acText[64];
      int iLength = _zorucoreFloatText(d, kind == UCORE_DOUBLE ? 15 : 6, acText, sizeof acText);
      if (iLength < 0) return ZORUCORE_RC_BADVALUE;
      if (!_zorucoreRoom(prowTarget, pcOut, iLength)) return ZORUCORE_RC_NOROOM;
      std::memcpy(pcOut, acText, static_cast<size_t>(iLength));
      pcOut += iLength;
      break;
    }
  }
  return _zorucoreColEnd(prowSource, prowTarget, pcOut);
}

int _zorucore_Smallint2Delimited(orow *prowSource, orow *prowTarget) { return _ucoreNumber(prowSource, prowTarget, UCORE_SMALLINT); }
int _zorucore_SmallintN2Delimited(orow *prowSource, orow *prowTarget) { return _ucoreNumber(prowSource, prowTarget, UCORE_SMALLINT); }
int _zorucore_Integer2Delimited(orow *prowSource, orow *prowTarget) { return _ucoreNumber(prowSource, prowTarget, UCORE_INTEGER); }
int _zorucore_IntegerN2Delimited(orow *prowSource, orow *prowTarget) { return _ucoreNumber(prowSource, prowTarget, UCORE_INTEGER); }
int _zorucore_Biginteger2Delimited(orow *prowSource, orow *prowTarget) { return _ucoreNumber(prowSource, prowTarget, UCORE_BIGINT); }
int _zorucore_BigintegerN2Delimited(orow *prowSource, orow *prowTarget) { return _ucoreNumber(prowSource, prowTarget, UCORE_BIGINT); }
int _zorucore_Decimal2Delimited(orow *prowSource, orow *prowTarget) { return _ucoreNumber(prowSource, prowTarget, UCORE_DECIMAL); }
int _zorucore_DecimalN2Delimited(orow *prowSource, orow *prowTarget) { return _ucoreNumber(prowSource, prowTarget, UCORE_DECIMAL); }
int _zorucore_Double2Delimited(orow *prowSource, orow *prowTarget) { return _ucoreNumber(prowSource, prowTarget, UCORE_DOUBLE); }
int _zorucore_DoubleN2Delimited(orow *prowSource, orow *prowTarget) { return _ucoreNumber(prowSource, prowTarget, UCORE_DOUBLE); }
int _zorucore_Real2Delimited(orow *prowSource, orow *prowTarget) { return _ucoreNumber(prowSource, prowTarget, UCORE_REAL); }
int _zorucore_RealN2Delimited(orow *prowSource, orow *prowTarget) { return _ucoreNumber(prowSource, prowTarget, UCORE_REAL); }

/* ---------------------------------------------------------------- record end */

/*
** The record [pcStart, *ppcEnd) of the target row, made in the code page of
** the rows, converted into the file's by the record end's two converters in
** one ICU call (through a scratch buffer of this thread, which grows to the
** largest record), then put back in its place; *ppcEnd moves to its new
** end.  What cannot be converted is replaced and counted by the converters'
** callbacks.  Returns 0, ZORUCORE_RC_ICU, or ZORUCORE_RC_NOROOM when the
** converted record does not fit the row buffer.
*/
static int _ucoreRecordConvert(const zorucoreData *pcore, orow *prowTarget, char **ppcEnd)
{
  thread_local std::vector<char> vScratch;
  char *pcStart = prowTarget->pcStart;
  size_t ulRecord = static_cast<size_t>(*ppcEnd - pcStart);
  /* a byte of the row gives at most one UTF-16 unit, a unit at most the target's largest character */
  size_t ulNeed = ulRecord * static_cast<size_t>(ucnv_getMaxCharSize(pcore->pconvFromUtf16)) + 16;
  if (vScratch.size() < ulNeed) vScratch.resize(ulNeed);
  char *pcTarget = vScratch.data();
  const char *pcSource = pcStart;
  UErrorCode err = U_ZERO_ERROR;
  ucnv_convertEx(pcore->pconvFromUtf16, pcore->pconvToUtf16, &pcTarget, vScratch.data() + vScratch.size(), &pcSource,
                 *ppcEnd, nullptr, nullptr, nullptr, nullptr, true, true, &err);
  if (U_FAILURE(err)) {
    omsgsTrace("RC ucnv_convertEx record = %d : %s\n", static_cast<int>(err), u_errorName(err));
    return ZORUCORE_RC_ICU;
  }
  size_t ulConverted = static_cast<size_t>(pcTarget - vScratch.data());
  if (!_zorucoreRoom(prowTarget, pcStart, static_cast<int64_t>(ulConverted))) return ZORUCORE_RC_NOROOM;
  std::memcpy(pcStart, vScratch.data(), ulConverted);
  *ppcEnd = pcStart + ulConverted;
  return 0;
}

int _zorucore_Const2Delimited(orow *prowSource, orow *prowTarget)
{
  zorucoreCol col;
  int iRc = _zorucoreColInit(prowSource, prowTarget, &col);
  if (iRc != 0) return iRc;
  const ochar *pchar = col.pcore->pcharConstant;
  int32_t ilText = (pchar != nullptr && pchar->pcData != nullptr && pchar->ilBU > 0) ? pchar->ilBU : 0;
  if (!_zorucoreRoom(prowTarget, col.pcOut, ilText)) return ZORUCORE_RC_NOROOM;
  if (ilText > 0) std::memcpy(col.pcOut, _charText(pchar), static_cast<size_t>(ilText));
  char *pcEnd = col.pcOut + ilText;
  /* a file in another code page than its rows (UTF-16): the whole record is converted here */
  if (col.pcore->pconvToUtf16 != nullptr && col.pcore->pconvFromUtf16 != nullptr) {
    iRc = _ucoreRecordConvert(col.pcore, prowTarget, &pcEnd);
    if (iRc != 0) return iRc;
  }
  return _zorucoreColEnd(prowSource, prowTarget, pcEnd);
}

/* ------------------------------------------------------------------- decimal */

/* Digit i (0 = most significant) of a packed decimal of precision iPrec. */
static int _ucoreDigit(const unsigned char *pucValue, int iPrec, int i)
{
  int iNibble = (iPrec % 2 != 0) ? i : i + 1;   /* an even precision starts with a pad nibble */
  unsigned char uc = pucValue[iNibble / 2];
  return (iNibble % 2 != 0) ? (uc & 0x0F) : (uc >> 4);
}

bool _zorucoreDecimalNegative(const unsigned char *pucValue, int iPrec)
{
  int iSign = pucValue[iPrec / 2] & 0x0F;
  return iSign == 0x0B || iSign == 0x0D;
}

/* The first byte of a string, or cDefault when it has none. */
static char _ucoreFirstByte(const ochar *pchar, char cDefault)
{
  if (pchar->pcData == nullptr || pchar->ilBU <= 0) return cDefault;
  return _charText(pchar)[0];
}

char *_zorucoreDecimalDel(const unsigned char *pucValue, char *pcOut, int iPrec, int iScale,
                          zorucoreData *pcore)
{
  if (iPrec < 1 || iScale < 0 || iScale > iPrec) return nullptr;
  int iSign = pucValue[iPrec / 2] & 0x0F;
  if (iSign < 0x0A) return nullptr;   /* a digit where the sign belongs */
  /* every digit is checked before anything is written; an even precision starts
     with a pad nibble */
  char acDigits[256];
  const int iFirst = (iPrec % 2 != 0) ? 0 : 1;
  for (int iNibble = iFirst, i = 0; i < iPrec; iNibble++, i++) {
    unsigned char uc = pucValue[iNibble >> 1];
    int iDigit = (iNibble & 1) ? (uc & 0x0F) : (uc >> 4);
    if (iDigit > 9) return nullptr;
    acDigits[i] = static_cast<char>('0' + iDigit);
  }
  *pcOut++ = (iSign == 0x0B || iSign == 0x0D) ? '-' : '+';
  int iInteger = iPrec - iScale;
  std::memcpy(pcOut, acDigits, static_cast<size_t>(iInteger));
  pcOut += iInteger;
  if (iScale > 0 || iPrec % 2 != 0) *pcOut++ = _ucoreFirstByte(&pcore->charDecimal, '.');
  std::memcpy(pcOut, acDigits + iInteger, static_cast<size_t>(iScale));
  return pcOut + iScale;
}

/* ---------------------------------------------------------------------- PIC */

/* Index of the first non-zero digit in [iFrom, iTo), or -1. */
static int _ucoreFirstSignificant(const unsigned char *pucValue, int iPrec, int iFrom, int iTo)
{
  for (int i = iFrom; i < iTo; i++)
    if (_ucoreDigit(pucValue, iPrec, i) != 0) return i;
  return -1;
}

/* Index of the last non-zero digit in [iFrom, iTo), or -1. */
static int _ucoreLastSignificant(const unsigned char *pucValue, int iPrec, int iFrom, int iTo)
{
  for (int i = iTo - 1; i >= iFrom; i--)
    if (_ucoreDigit(pucValue, iPrec, i) != 0) return i;
  return -1;
}

/* Byte index of digit i, and whether it is a low nibble. */
static int _ucoreDigitByte(int iPrec, int i, int *piLowNibble)
{
  int iNibble = (iPrec % 2 != 0) ? i : i + 1;
  if (piLowNibble != nullptr) *piLowNibble = iNibble % 2;
  return iNibble / 2;
}

static int _ucoreEntD(const unsigned char *pucValue, int iPrec, int iScale, int *piLowNibble)
{
  int i = _ucoreFirstSignificant(pucValue, iPrec, 0, iPrec - iScale);
  return i < 0 ? -1 : _ucoreDigitByte(iPrec, i, piLowNibble);
}

static int _ucoreDecD(const unsigned char *pucValue, int iPrec, int iScale, int *piLowNibble)
{
  int i = _ucoreLastSignificant(pucValue, iPrec, iPrec - iScale, iPrec);
  return i < 0 ? -1 : _ucoreDigitByte(iPrec, i, piLowNibble);
}

static char *_ucorePic(const unsigned char *pucValue, char *pcOut, int iPrec, int iScale, zorucoreData *pcore)
{
  int iMask = pcore->iPic & 0xE000;
  int iInteger = iPrec - iScale;
  int iFrom = 0;
  int iTo = iPrec;
  if (iMask & 0x8000) {
    int i = _ucoreFirstSignificant(pucValue, iPrec, 0, iInteger);
    iFrom = i < 0 ? iInteger : i;
  }
  if (iMask & 0x4000) {
    int i = _ucoreLastSignificant(pucValue, iPrec, iInteger, iPrec);
    iTo = i < 0 ? iInteger : i + 1;
  }
  if (iFrom == iInteger && iTo == iInteger) {
    *pcOut++ = '0';   /* a zero keeps one digit */
  }
  for (int i = iFrom; i < iInteger; i++) *pcOut++ = static_cast<char>('0' + _ucoreDigit(pucValue, iPrec, i));
  bool boPoint = iScale > 0 && !((iMask & 0x2000) && iTo == iInteger);
  if (boPoint) *pcOut++ = _ucoreFirstByte(&pcore->charDecimal, '.');
  for (int i = iInteger; i < iTo; i++) *pcOut++ = static_cast<char>('0' + _ucoreDigit(pucValue, iPrec, i));
  return pcOut;
}

char *_zorucorePicImpairePaire(const unsigned char *pucValue, char *pcOut, int iPrec, int iScale, zorucoreData *pcore)
{
  return _ucorePic(pucValue, pcOut, iPrec, iScale, pcore);
}
char *_zorucorePicImpaireImpaire(const unsigned char *pucValue, char *pcOut, int iPrec, int iScale, zorucoreData *pcore)
{
  return _ucorePic(pucValue, pcOut, iPrec, iScale, pcore);
}
char *_zorucorePicPairePaire(const unsigned char *pucValue, char *pcOut, int iPrec, int iScale, zorucoreData *pcore)
{
  return _ucorePic(pucValue, pcOut, iPrec, iScale, pcore);
}
char *_zorucorePicPaireImpaire(const unsigned char *pucValue, char *pcOut, int iPrec, int iScale, zorucoreData *pcore)
{
  return _ucorePic(pucValue, pcOut, iPrec, iScale, pcore);
}
int _zorucoreEntDImpairePaire(const unsigned char *pucValue, int iPrec, int iScale, int *piLowNibble)
{
  return _ucoreEntD(pucValue, iPrec, iScale, piLowNibble);
}
int _zorucoreEntDImpaireImpaire(const unsigned char *pucValue, int iPrec, int iScale, int *piLowNibble)
{
  return _ucoreEntD(pucValue, iPrec, iScale, piLowNibble);
}
int _zorucoreEntDPairePaire(const unsigned char *pucValue, int iPrec, int iScale, int *piLowNibble)
{
  return _ucoreEntD(pucValue, iPrec, iScale, piLowNibble);
}
int _zorucoreEntDPaireImpaire(const unsigned char *pucValue, int iPrec, int iScale, int *piLowNibble)
{
  return _ucoreEntD(pucValue, iPrec, iScale, piLowNibble);
}
int _zorucoreDecDImpairePaire(const unsigned char *pucValue, int iPrec, int iScale, int *piLowNibble)
{
  return _ucoreDecD(pucValue, iPrec, iScale, piLowNibble);
}
int _zorucoreDecDImpaireImpaire(const unsigned char *pucValue, int iPrec, int iScale, int *piLowNibble)
{
  return _ucoreDecD(pucValue, iPrec, iScale, piLowNibble);
}
int _zorucoreDecDPairePaire(const unsigned char *pucValue, int iPrec, int iScale, int *piLowNibble)
{
  return _ucoreDecD(pucValue, iPrec, iScale, piLowNibble);
}
int _zorucoreDecDPaireImpaire(const unsigned char *pucValue, int iPrec, int iScale, int *piLowNibble)
{
  return _ucoreDecD(pucValue, iPrec, iScale, piLowNibble);
}

char *_zorucorePutSign(const unsigned char *pucValue, int iPrec, zorucoreData *pcore, char *pcOut)
{
  if (_zorucoreDecimalNegative(pucValue, iPrec)) {
    *pcOut++ = '-';
  } else if (pcore->charSignPlus.pcData != nullptr && pcore->charSignPlus.ilBU > 0) {
    *pcOut++ = _charText(&pcore->charSignPlus)[0];
  }
  return pcOut;
}
