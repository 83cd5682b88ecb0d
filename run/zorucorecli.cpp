/*
** zorucorecli.cpp
**   DEL column converters for rows fetched through CLI: variable values
**   (VARCHAR, LONG VARCHAR, CLOB, BLOB) read from the row's variable part,
**   and dates, times and timestamps packed from their CLI text and written
**   by the DEL date/time converters.  See run/zorucorecli.h.
*/
#include "run/zorucorecli.h"

#include <unicode/ucnv.h>
#include <unicode/utf16.h>
#include <unicode/utypes.h>

#include <cstring>

#include "common/obyte.h"
#include "run/zorucorechar.h"
#include "run/zorucoredate.h"
#include "run/zorucoredel.h"
#include "run/zorucoreixf.h"

#define OMSGS_TRACE_KEYWORD "$UCORE"
#define OMSGS_DEBUG_KEYWORD nullptr
#include "common/omsgsmod.h"

/* ------------------------------------------------------------ CLI values */

int _zorucoreCliBytes(const zorucoreCol *pcol, const unsigned char **ppucBytes, int32_t *pilLength)
{
  const unsigned char *pucSlot = _zorucoreValue(pcol, pcol->pdefSrc->sOffset, ZORUCORE_CLI_SLOT_SIZE);
  if (pucSlot == nullptr) return ZORUCORE_RC_BADVALUE;
  int32_t ilOffset = static_cast<int32_t>(obyteGetLE32(pucSlot));
  int32_t ilLength = static_cast<int32_t>(obyteGetLE32(pucSlot + ZORUCORE_CLI_SLOT_VALUE));
  if (ilLength < 0) return ZORUCORE_RC_BADVALUE;
  const unsigned char *pucBytes = _zorucoreValue(pcol, ilOffset, ilLength);
  if (pucBytes == nullptr) return ZORUCORE_RC_BADVALUE;
  *ppucBytes = pucBytes;
  *pilLength = ilLength;
  return 0;
}

/* Character positions of the digit pairs in the CLI texts, in packed order. */
static const int aiDatePairs[] = {0, 2, 5, 8};
static const int aiTimePairs[] = {0, 3, 6};
static const int aiTimestampPairs[] = {0, 2, 5, 8, 11, 14, 17, 20, 22, 24};

int _zorucoreCliPack(int iType, const unsigned char *pucText, int32_t ilText, unsigned char *pucPacked)
{
  const int *piPairs;
  int iPairs;
  switch (iType) {
    case 10: piPairs = aiDatePairs; iPairs = 4; break;
    case 11: piPairs = aiTimePairs; iPairs = 3; break;
    case 12: piPairs = aiTimestampPairs; iPairs = 10; break;
    default: return -1;
  }
  if (pucText == nullptr || ilText < piPairs[iPairs - 1] + 2) return -1;
  for (int i = 0; i < iPairs; i++) {
    unsigned char ucHigh = pucText[piPairs[i]];
    unsigned char ucLow = pucText[piPairs[i] + 1];
    if (ucHigh < '0' || ucHigh > '9' || ucLow < '0' || ucLow > '9') return -1;
    pucPacked[i] = static_cast<unsigned char>((ucHigh - '0') << 4 | (ucLow - '0'));
  }
  return iPairs;
}

int _zorucorePackedDateTime(oconvertFunc func, int iType, const unsigned char *pucPacked, int iSize,
                            const orow *prowTarget, uint32_t ulClear, char *pcOut, char **ppcEnd)
{
  /* a one-column record holding the packed value, not nullable */
  unsigned char aucRecord[8 + 16] = {};
  if (func == nullptr || iSize <= 0 || iSize > 16) return ZORUCORE_RC_BADVALUE;
  obytePutLE16(aucRecord + 6, static_cast<uint16_t>(iSize));
  std::memcpy(aucRecord + 8, pucPacked, static_cast<size_t>(iSize));
  rowColDef defSource{};
  defSource.iType = iType;
  defSource.sNullOffset = -1;
  orow rowSource{};
  rowSource.pcStart = reinterpret_cast<char *>(aucRecord);
  rowSource.pcEnd = rowSource.pcStart + 8 + iSize;
  rowSource.iCapacity = rowSource.iCount = 1;
  rowSource.pcoldef = &defSource;

  /* the target column as it is, on a core without the separator */
  const rowColDef *pdefTarget = &prowTarget->pcoldef[prowTarget->iCurrent];
  const zorucoreData *pcore = static_cast<const zorucoreData *>(pdefTarget->pExtra);
  zorucoreData coreLocal = *pcore;   /* shallow: nothing of it is released */
  coreLocal.ulFlags &= ~(ulClear | ZORUCORE_FLAG_SEP);
  coreLocal.usSourceKey = 0;
  rowColDef defTarget = *pdefTarget;
  defTarget.pExtra = &coreLocal;
  orow rowTarget{};
  rowTarget.pcStart = pcOut;
  rowTarget.pcCursor = pcOut;
  rowTarget.pcEnd = prowTarget->pcEnd;
  rowTarget.iCapacity = rowTarget.iCount = 1;
  rowTarget.pcoldef = &defTarget;

  int iRc = func(&rowSource, &rowTarget);
  if (iRc != 0) return iRc;
  *ppcEnd = rowTarget.pcCursor;
  return 0;
}

/* ------------------------------------------------------- CLOB conversion */

/* The UTF-16 work area of the core data and its capacity in units; NULL when unusable. */
static UChar *_ucoreCliWork(const zorucoreData *pcore, int32_t *pilUnits)
{
  if (pcore->pcWorkBuffer == nullptr || reinterpret_cast<uintptr_t>(pcore->pcWorkBuffer) % alignof(UChar) != 0)
    return nullptr;
  int64_t ilUnits = pcore->ulWorkSize / 2;
  if (pcore->iWorkCapacity > 0 && pcore->iWorkCapacity < ilUnits) ilUnits = pcore->iWorkCapacity;
  if (ilUnits > INT32_MAX) ilUnits = INT32_MAX;
  *pilUnits = static_cast<int32_t>(ilUnits);
  return reinterpret_cast<UChar *>(pcore->pcWorkBuffer);
}

/*
** The first ilUnits units in the output code page, written at pcOut when
** they fit in ilLimit bytes.  Returns the bytes written; -2 when they do
** not fit (*pilNeed, when given, gets the bytes they need); -1 when ICU
** fails.
*/
static int32_t _ucoreCliFrom(zorucoreData *pcore, const UChar *pu, int32_t ilUnits, char *pcOut, int32_t ilLimit,
                             int32_t *pilNeed = nullptr)
{
  UErrorCode err = U_ZERO_ERROR;
  int32_t ilLength = ucnv_fromUChars(pcore->pconvFromUtf16, pcOut, ilLimit, pu, ilUnits, &err);
  if (err == U_BUFFER_OVERFLOW_ERROR) {
    if (pilNeed != nullptr) *pilNeed = ilLength;
    return -2;
  }
  if (err > U_ZERO_ERROR) {
    omsgsTrace("RC ucnv_fromUChars = %d : %s\n", static_cast<int>(err), u_errorName(err));
    return -1;
  }
  return ilLength;
}

/*
** Converts at most ZORUCORE_LOB_INLINE_MAX source bytes and keeps at most
** ZORUCORE_LOB_INLINE_MAX bytes of output, cutting both between characters
** (a character cut by the input limit is left out, never half written).
** Returns the bytes written at pcOut, -1 when ICU fails or the work buffer
** cannot hold the text, -2 when the output does not fit in ilRoom bytes.
*/
static int32_t _ucoreConvertCut(zorucoreData *pcore, int32_t ilCount, const unsigned char *pucSource, char *pcOut,
                                int64_t ilRoom)
{
  bool boCut = ilCount > ZORUCORE_LOB_INLINE_MAX;
  if (boCut) ilCount = ZORUCORE_LOB_INLINE_MAX;
  int32_t ilCapacity = 0;
  UChar *pu = _ucoreCliWork(pcore, &ilCapacity);
  if (pu == nullptr) return -1;

  int32_t ilUnits;
  if (pcore->pconvToUtf16 != nullptr) {
    UErrorCode err = U_ZERO_ERROR;
    UChar *puTarget = pu;
    const char *pcSource = reinterpret_cast<const char *>(pucSource);
    ucnv_resetToUnicode(pcore->pconvToUtf16);
    /* without flush, a character cut at the limit stays in the converter and is dropped below */
    ucnv_toUnicode(pcore->pconvToUtf16, &puTarget, pu + ilCapacity, &pcSource, pcSource + ilCount, nullptr,
                   boCut ? 0 : 1, &err);
    ucnv_resetToUnicode(pcore->pconvToUtf16);
    if (err > U_ZERO_ERROR) {
      omsgsTrace("RC ucnv_toUChars = %d : %s\n", static_cast<int>(err), u_errorName(err));
      return -1;
    }
    ilUnits = static_cast<int32_t>(puTarget - pu);
  } else {
    ilUnits = ilCount / 2;
    if (ilUnits > ilCapacity) return -1;
    for (int32_t i = 0; i < ilUnits; i++) pu[i] = static_cast<UChar>(obyteGetBE16(pucSource + 2 * i));
  }
  if (boCut && ilUnits > 0 && U16_IS_LEAD(pu[ilUnits - 1])) ilUnits--;

  if (pcore->pconvFromUtf16 == nullptr) {
    /* UTF-16 output, low byte first: whole units, never half a surrogate pair */
    int32_t ilKeep = ilUnits;
    if (2 * static_cast<int64_t>(ilKeep) > ZORUCORE_LOB_INLINE_MAX) {
      ilKeep = ZORUCORE_LOB_INLINE_MAX / 2;
      if (U16_IS_LEAD(pu[ilKeep - 1])) ilKeep--;
    }
    if (2 * static_cast<int64_t>(ilKeep) > ilRoom) return -2;
    for (int32_t i = 0; i < ilKeep; i++) obytePutLE16(reinterpret_cast<unsigned char *>(pcOut) + 2 * i, pu[i]);
    return 2 * ilKeep;
  }

  int32_t ilLimit = ilRoom < ZORUCORE_LOB_INLINE_MAX ? static_cast<int32_t>(ilRoom < 0 ? 0 : ilRoom)
                                                    : ZORUCORE_LOB_INLINE_MAX;
  int32_t ilNeed = 0;
  int32_t ilLength = _ucoreCliFrom(pcore, pu, ilUnits, pcOut, ilLimit, &ilNeed);
  if (ilLength != -2) return ilLength;
  /* no room for the text, or for the 32700 bytes it is cut to */
  if (ilNeed <= ZORUCORE_LOB_INLINE_MAX || ilRoom < ZORUCORE_LOB_INLINE_MAX) return -2;
  /* the longest prefix of whole characters whose output fits the limit */
  int32_t ilFits = 0;
  int32_t ilTooLong = ilUnits;
  while (ilTooLong - ilFits > 1) {
    int32_t ilMid = ilFits + (ilTooLong - ilFits) / 2;
    bool boFits = !U16_IS_LEAD(pu[ilMid - 1]) && _ucoreCliFrom(pcore, pu, ilMid, pcOut, ilLimit) >= 0;
    if (boFits) ilFits = ilMid;
    else ilTooLong = ilMid;
  }
  return _ucoreCliFrom(pcore, pu, ilFits, pcOut, ilLimit);
}

/* ------------------------------------------------------ variable values */

enum ucoreCliMode {
  UCORE_CLI_PLAIN,     /* the bytes */
  UCORE_CLI_CONVERT,   /* converted text */
  UCORE_CLI_LOB,       /* at most 32700 bytes */
  UCORE_CLI_LOBCONV    /* at most 32700 bytes converted, output cut at 32700 */
};

/* Copies ilLength bytes to pcOut with each delimiter byte twice; the bytes written, or -2 without room. */
static int64_t _ucoreCliCopyDD(char *pcOut, const unsigned char *puc, int32_t ilLength, char cDelim, int64_t ilRoom)
{
  int64_t ilNeed = ilLength;
  for (int32_t i = 0; i < ilLength; i++)
    if (static_cast<char>(puc[i]) == cDelim) ilNeed++;
  if (ilNeed > ilRoom) return -2;
  for (int32_t i = 0; i < ilLength; i++) {
    *pcOut++ = static_cast<char>(puc[i]);
    if (static_cast<char>(puc[i]) == cDelim) *pcOut++ = cDelim;
  }
  return ilNeed;
}

/* boDD: every delimiter byte of the value's text is written twice. */
static int _ucoreCliVar(orow *prowSource, orow *prowTarget, ucoreCliMode mode, bool boDD)
{
  zorucoreCol col;
  int iRc = _zorucoreColBegin(prowSource, prowTarget, &col);
  if (iRc != 0) return iRc;
  zorucoreData *pcore = col.pcore;
  int iNd = _zorucoreNullDefault(pcore, prowSource, prowTarget, col.pcOut, col.pucData + col.pdefSrc->sOffset,
                                 ZORUCORE_CLI_SLOT_VALUE);
  if (iNd == 1) return 0;
  if (iNd != 0) return iNd;
  const unsigned char *pucBytes = nullptr;
  int32_t ilLength = 0;
  iRc = _zorucoreCliBytes(&col, &pucBytes, &ilLength);
  if (iRc != 0) return iRc;
  if (mode == UCORE_CLI_LOB && ilLength > ZORUCORE_LOB_INLINE_MAX) ilLength = ZORUCORE_LOB_INLINE_MAX;

  int64_t ilDelims = (pcore->ulFlags & ZORUCORE_FLAG_DELIM) ? 1 : 0;
  char *pcOut = col.pcOut;
  if (!_zorucoreRoom(prowTarget, pcOut, 2 * ilDelims)) return ZORUCORE_RC_NOROOM;
  pcOut = _zorucorePrintDelim1C(pcore, pcOut);
  int64_t ilRoom = (prowTarget->pcEnd - pcOut) - ilDelims;   /* the closing delimiter's byte is kept */
  if (mode == UCORE_CLI_PLAIN || mode == UCORE_CLI_LOB) {
    if (boDD) {
      int64_t ilOut = _ucoreCliCopyDD(pcOut, pucBytes, ilLength, pcore->cDelim, ilRoom);
      if (ilOut < 0) return ZORUCORE_RC_NOROOM;
      pcOut += ilOut;
    } else {
      if (ilLength > ilRoom) return ZORUCORE_RC_NOROOM;
      if (ilLength > 0) std::memcpy(pcOut, pucBytes, static_cast<size_t>(ilLength));
      pcOut += ilLength;
    }
  } else {
    int32_t ilOut = mode == UCORE_CLI_CONVERT ? UCORE_CONVERT(pcore, ilLength, pucBytes, pcOut, ilRoom)
                                              : _ucoreConvertCut(pcore, ilLength, pucBytes, pcOut, ilRoom);
    if (ilOut >= 0 && boDD) ilOut = _zorucoreDoubleDelim(pcOut, ilOut, pcore->cDelim, ilRoom);
    if (ilOut == -2) return ZORUCORE_RC_NOROOM;
    if (ilOut < 0) return ZORUCORE_RC_ICU;
    pcOut += ilOut;
  }
  pcOut = _zorucorePrintDelim1C(pcore, pcOut);
  return _zorucoreColEnd(prowSource, prowTarget, pcOut);
}

#define UCORE_CLI_VAR(name, mode, dd) \
  int name(orow *prowSource, orow *prowTarget) { return _ucoreCliVar(prowSource, prowTarget, mode, dd); }

UCORE_CLI_VAR(_zorucore_VarcharN2DelimitedSelectDB2, UCORE_CLI_PLAIN, false)
UCORE_CLI_VAR(_zorucore_VarcharN2DelimitedConvertSelectDB2, UCORE_CLI_CONVERT, false)
UCORE_CLI_VAR(_zorucore_LongvarcharN2DelimitedSelectDB2, UCORE_CLI_PLAIN, false)
UCORE_CLI_VAR(_zorucore_LongvarcharN2DelimitedConvertSelectDB2, UCORE_CLI_CONVERT, false)
UCORE_CLI_VAR(_zorucore_ClobN2DelimitedSelectDB2, UCORE_CLI_LOB, false)
UCORE_CLI_VAR(_zorucore_BlobN2DelimitedSelectDB2, UCORE_CLI_LOB, false)
UCORE_CLI_VAR(_zorucore_ClobN2DelimitedConvertSelectDB2, UCORE_CLI_LOBCONV, false)
UCORE_CLI_VAR(_zorucore_VarcharN2DelimitedDDSelectDB2, UCORE_CLI_PLAIN, true)
UCORE_CLI_VAR(_zorucore_VarcharN2DelimitedConvertDDSelectDB2, UCORE_CLI_CONVERT, true)
UCORE_CLI_VAR(_zorucore_LongvarcharN2DelimitedDDSelectDB2, UCORE_CLI_PLAIN, true)
UCORE_CLI_VAR(_zorucore_LongvarcharN2DelimitedConvertDDSelectDB2, UCORE_CLI_CONVERT, true)
UCORE_CLI_VAR(_zorucore_ClobN2DelimitedDDSelectDB2, UCORE_CLI_LOB, true)
UCORE_CLI_VAR(_zorucore_BlobN2DelimitedDDSelectDB2, UCORE_CLI_LOB, true)
UCORE_CLI_VAR(_zorucore_ClobN2DelimitedConvertDDSelectDB2, UCORE_CLI_LOBCONV, true)

/* --------------------------------------------- dates, times, timestamps */

/* The DEL converter of each format code, from DATE_A (0x31) to TIMESTAMP_F (0x4B). */
static const oconvertFunc apfuncFormat[COLKEY_TS_F - COLKEY_DATE_A + 1] = {
  _zorucore_DateA2Delimited, _zorucore_DateB2Delimited, _zorucore_DateA2Delimited, _zorucore_DateB2Delimited,
  _zorucore_DateA2Delimited, _zorucore_DateB2Delimited, _zorucore_DateG2Delimited, _zorucore_DateH2Delimited,
  _zorucore_Date2Delimited,  _zorucore_DateJ2Delimited, _zorucore_Date2Delimited,  _zorucore_DateJ2Delimited,
  _zorucore_Date2Delimited,  _zorucore_DateJ2Delimited, _zorucore_DateO2Delimited, _zorucore_DateP2Delimited,
  _zorucore_Time2Delimited,  _zorucore_TimeB2Delimited, _zorucore_TimeC2Delimited, _zorucore_TimeD2Delimited,
  _zorucore_TimeE2Delimited,
  _zorucore_TimestampA2Delimited, _zorucore_Timestamp2Delimited, _zorucore_TimestampC2Delimited,
  _zorucore_TimestampD2Delimited, _zorucore_TimestampE2Delimited, _zorucore_TimestampF2Delimited,
};

static int _ucoreCliDateTime(orow *prowSource, orow *prowTarget, int iType)
{
  zorucoreCol col;
  int iRc = _zorucoreColBegin(prowSource, prowTarget, &col);
  if (iRc != 0) return iRc;
  int32_t ilSize = col.pdefSrc->iLength;
  int iNd = _zorucoreNullDefault(col.pcore, prowSource, prowTarget, col.pcOut, col.pucData + col.pdefSrc->sOffset,
                                 ilSize);
  if (iNd == 1) return 0;
  if (iNd != 0) return iNd;

  /* the format must be one of the column's type */
  unsigned uCode = static_cast<unsigned>(prowTarget->pcoldef[prowTarget->iCurrent].iType) & 0xFFu;
  unsigned uFirst = iType == 10 ? COLKEY_DATE_A : iType == 11 ? COLKEY_TIME_A : COLKEY_TS_A;
  unsigned uLast = iType == 10 ? COLKEY_DATE_P : iType == 11 ? COLKEY_TIME_E : COLKEY_TS_F;
  if (uCode < uFirst || uCode > uLast) return ZORUCORE_RC_BADVALUE;

  const unsigned char *pucText = _zorucoreValue(&col, col.pdefSrc->sOffset, ilSize);
  unsigned char aucPacked[10];
  int iPacked = pucText == nullptr ? -1 : _zorucoreCliPack(iType, pucText, ilSize, aucPacked);
  if (iPacked < 0) return ZORUCORE_RC_BADVALUE;
  char *pcOut = nullptr;
  iRc = _zorucorePackedDateTime(apfuncFormat[uCode - COLKEY_DATE_A], iType, aucPacked, iPacked, prowTarget, 0,
                                col.pcOut, &pcOut);
  if (iRc != 0) return iRc;
  return _zorucoreColEnd(prowSource, prowTarget, pcOut);
}

int _zorucore_DateN2DelimitedSelectDB2(orow *prowSource, orow *prowTarget)
{
  return _ucoreCliDateTime(prowSource, prowTarget, 10);
}
int _zorucore_TimeN2DelimitedSelectDB2(orow *prowSource, orow *prowTarget)
{
  return _ucoreCliDateTime(prowSource, prowTarget, 11);
}
int _zorucore_TimestampN2DelimitedSelectDB2(orow *prowSource, orow *prowTarget)
{
  return _ucoreCliDateTime(prowSource, prowTarget, 12);
}
