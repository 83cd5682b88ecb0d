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
#include <cstring>
#include <vector>

#include "common/obyte.h"

#define OMSGS_TRACE_KEYWORD "$UCORE"
#define OMSGS_DEBUG_KEYWORD nullptr
#include "common/omsgsmod.h"

/* ------------------------------------------------------------ column frame */

bool _zorucoreRoom(const orow *prowTarget, const char *pcOut, int64_t ilNeed)
{
  if (prowTarget == nullptr || pcOut == nullptr || prowTarget->pcEnd == nullptr || ilNeed < 0) return false;
  uintptr_t ulOut = reinterpret_cast<uintptr_t>(pcOut);
  uintptr_t ulEnd = reinterpret_cast<uintptr_t>(prowTarget->pcEnd);
  return ulOut <= ulEnd && static_cast<uint64_t>(ulEnd - ulOut) >= static_cast<uint64_t>(ilNeed);
}

const unsigned char *_zorucoreValue(const zorucoreCol *pcol, int64_t ilOffset, int64_t ilSize)
{
  if (ilOffset < 0 || ilSize < 0 || ilOffset > pcol->ilData || ilSize > pcol->ilData - ilOffset) return nullptr;
  return pcol->pucData + ilOffset;
}

/* Checks the rows and fills pcol, without writing anything. */
static int _ucoreColInit(orow *prowSource, orow *prowTarget, zorucoreCol *pcol)
{
  if (prowSource == nullptr || prowTarget == nullptr || pcol == nullptr) return ZORUCORE_RC_NOCOLUMN;
  if (prowSource->pcoldef == nullptr || prowSource->iCurrent < 0 || prowSource->iCurrent >= prowSource->iCount)
    return ZORUCORE_RC_NOCOLUMN;
  if (prowTarget->pcoldef == nullptr || prowTarget->iCurrent < 0 || prowTarget->iCurrent >= prowTarget->iCount)
    return ZORUCORE_RC_NOCOLUMN;
  if (prowTarget->pcStart == nullptr || prowTarget->pcCursor == nullptr || prowTarget->pcEnd == nullptr)
    return ZORUCORE_RC_NOCOLUMN;
  pcol->pcore = static_cast<zorucoreData *>(prowTarget->pcoldef[prowTarget->iCurrent].pExtra);
  if (pcol->pcore == nullptr) return ZORUCORE_RC_NOCOLUMN;
  if (prowSource->pcStart == nullptr || prowSource->pcEnd == nullptr) return ZORUCORE_RC_NOCOLUMN;
  if (prowSource->pcEnd - prowSource->pcStart < 8) return ZORUCORE_RC_BADVALUE;
  const unsigned char *pucStart = reinterpret_cast<const unsigned char *>(prowSource->pcStart);
  pcol->pdefSrc = &prowSource->pcoldef[prowSource->iCurrent];
  pcol->pucData = pucStart + 8;
  pcol->ilData = (prowSource->pcEnd - prowSource->pcStart) - 8;
  pcol->ilFixed = static_cast<int16_t>(obyteGetLE16(pucStart + 6));
  pcol->pcOut = prowTarget->pcCursor;
  return 0;
}

int _zorucoreColBegin(orow *prowSource, orow *prowTarget, zorucoreCol *pcol)
{
  int iRc = _ucoreColInit(prowSource, prowTarget, pcol);
  if (iRc != 0) return iRc;
  zorucoreData *pcore = pcol->pcore;
  bool boSep = (pcore->ulFlags & ZORUCORE_FLAG_SEP) && pcore->charSep.pcData != nullptr && pcore->charSep.ilBU > 0;
  if (!_zorucoreRoom(prowTarget, pcol->pcOut, boSep ? 1 : 0)) return ZORUCORE_RC_NOROOM;
  pcol->pcOut = _zorucorePrintSep1C(pcore, pcol->pcOut);
  return 0;
}

int _zorucoreColEnd(orow *prowSource, orow *prowTarget, char *pcOut)
{
  prowSource->iCurrent++;
  prowTarget->iCurrent++;
  prowTarget->pcCursor = pcOut;
  return 0;
}

char *_zorucorePrintSep1C(zorucoreData *pcore, char *pcOut)
{
  if ((pcore->ulFlags & ZORUCORE_FLAG_SEP) && pcore->charSep.pcData != nullptr && pcore->charSep.ilBU > 0)
    *pcOut++ = _charText(&pcore->charSep)[0];
  return pcOut;
}

char *_zorucorePrintDelim1C(zorucoreData *pcore, char *pcOut)
{
  if (pcore->ulFlags & ZORUCORE_FLAG_DELIM) *pcOut++ = pcore->cDelim;
  return pcOut;
}

int _zorucoreNullState(const zorucoreData *pcore, const orow *prowSource, const unsigned char *pucValue,
                       int32_t ilSize)
{
  const rowColDef *pdef = &prowSource->pcoldef[prowSource->iCurrent];
  const unsigned char *pucStart = reinterpret_cast<const unsigned char *>(prowSource->pcStart);
  const unsigned char *pucData = pucStart + 8;
  int64_t ilData = (prowSource->pcEnd - prowSource->pcStart) - 8;
  int32_t ilFixed = static_cast<int16_t>(obyteGetLE16(pucStart + 6));
  int64_t ilOffset = static_cast<int64_t>(reinterpret_cast<intptr_t>(pucValue) - reinterpret_cast<intptr_t>(pucData));

  if (ilOffset >= ilFixed) return ZORUCORE_VALUE_ABSENT;
  if ((pdef->iType & COLKEY_NULLABLE) == 0) return ZORUCORE_VALUE_PRESENT;
  /* a CLI row carries a 32-bit indicator; its key says so in the core data, and in the definition */
  bool boCli = (pcore->usSourceKey & COLKEY_CLI) != 0 || (pdef->iType & COLKEY_CLI) != 0;
  int64_t ilIndicator = ilOffset + ilSize;
  int64_t ilIndSize = boCli ? 4 : 1;
  if (ilOffset < 0 || ilSize < 0 || ilIndicator > ilData - ilIndSize) return ZORUCORE_RC_BADVALUE;
  bool boNull = boCli ? static_cast<int32_t>(obyteGetLE32(pucData + ilIndicator)) < 0 : pucData[ilIndicator] != 0;
  return boNull ? ZORUCORE_VALUE_NULL : ZORUCORE_VALUE_PRESENT;
}

int _zorucoreNullDefault(zorucoreData *pcore, orow *prowSource, orow *prowTarget, char *pcOut,
                         const unsigned char *pucValue, int32_t ilSize)
{
  int iState = _zorucoreNullState(pcore, prowSource, pucValue, ilSize);
  bool boText;
  if (iState == ZORUCORE_VALUE_PRESENT) return 0;
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

/* ------------------------------------------------------------------ integers */

/* Bytes of the text of v: sign (or "+" when asked) and digits. */
static int _ucoreIntLength(int64_t v, bool boPlus, uint64_t *pulMagnitude)
{
  uint64_t ulMag = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
  int iDigits = 1;
  for (uint64_t ul = ulMag; ul >= 10; ul /= 10) iDigits++;
  *pulMagnitude = ulMag;
  return iDigits + ((v < 0 || boPlus) ? 1 : 0);
}

/* Writes the text of v digit by digit at pcOut (ilLength from _ucoreIntLength). */
static char *_ucoreIntWrite(char *pcOut, int64_t v, bool boPlus, uint64_t ulMag, int iLength)
{
  if (v < 0) *pcOut = '-';
  else if (boPlus) *pcOut = '+';
  char *pcEnd = pcOut + iLength;
  char *pc = pcEnd;
  do {
    *--pc = static_cast<char>('0' + ulMag % 10);
    ulMag /= 10;
  } while (ulMag != 0);
  return pcEnd;
}

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

/* Formats a floating value as printf's "%.<precision>G" would in the C locale. */
static int _ucoreFloatText(double d, int iPrecision, char *pcBuffer, size_t ulSize)
{
  std::to_chars_result res = std::to_chars(pcBuffer, pcBuffer + ulSize, d, std::chars_format::general, iPrecision);
  if (res.ec != std::errc()) return -1;
  int iLength = static_cast<int>(res.ptr - pcBuffer);
  for (int i = 0; i < iLength; i++)   /* ASCII only: the text must not depend on the locale */
    if (pcBuffer[i] >= 'a' && pcBuffer[i] <= 'z') pcBuffer[i] = static_cast<char>(pcBuffer[i] - 'a' + 'A');
  return iLength;
}

/* The frame and text of every numeric converter. */
static int _ucoreNumber(orow *prowSource, orow *prowTarget, ucoreNumKind kind)
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
      uint64_t ulMag;
      int iLength = _ucoreIntLength(v, boPlus, &ulMag);
      if (!_zorucoreRoom(prowTarget, pcOut, iLength)) return ZORUCORE_RC_NOROOM;
      pcOut = _ucoreIntWrite(pcOut, v, boPlus, ulMag, iLength);
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
      int iLength = _ucoreFloatText(d, kind == UCORE_DOUBLE ? 15 : 6, acText, sizeof acText);
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
  int iRc = _ucoreColInit(prowSource, prowTarget, &col);
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
  for (int i = 0; i < iPrec; i++)
    if (_ucoreDigit(pucValue, iPrec, i) > 9) return nullptr;
  if ((pucValue[iPrec / 2] & 0x0F) < 0x0A) return nullptr;   /* a digit where the sign belongs */
  *pcOut++ = _zorucoreDecimalNegative(pucValue, iPrec) ? '-' : '+';
  int iInteger = iPrec - iScale;
  for (int i = 0; i < iInteger; i++) *pcOut++ = static_cast<char>('0' + _ucoreDigit(pucValue, iPrec, i));
  if (iScale > 0 || iPrec % 2 != 0) *pcOut++ = _ucoreFirstByte(&pcore->charDecimal, '.');
  for (int i = iInteger; i < iPrec; i++) *pcOut++ = static_cast<char>('0' + _ucoreDigit(pucValue, iPrec, i));
  return pcOut;
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
