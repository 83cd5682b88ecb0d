/*
** zorucorechar.cpp
**   DEL column converters, part two: characters, graphics and LOBs, with
**   or without code-page conversion through ICU and doubled delimiters, and
**   the LOB location-specifier variants.  See run/zorucorechar.h.
*/
#include "run/zorucorechar.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>
#include <unicode/utypes.h>

#include <cstring>

#include "common/obyte.h"
#include "expr/zorcol.h"
#include "run/zorucoredel.h"

#define OMSGS_TRACE_KEYWORD "$UCORE"
#define OMSGS_DEBUG_KEYWORD nullptr
#include "common/omsgsmod.h"

/* ---------------------------------------------------------- cut LOBs */

int32_t zorucoreCountCutLobs(const orow *prowSource)
{
  if (prowSource == nullptr || prowSource->pcoldef == nullptr || prowSource->pcStart == nullptr) return 0;
  const unsigned char *pucStart = reinterpret_cast<const unsigned char *>(prowSource->pcStart);
  const int64_t ilData = (prowSource->pcEnd - prowSource->pcStart) - 8;
  if (ilData < 0) return 0;
  const unsigned char *pucData = pucStart + 8;
  const int32_t ilFixed = static_cast<int16_t>(obyteGetLE16(pucStart + 6));
  int32_t ilCut = 0;
  for (int32_t i = 0; i < prowSource->iCount; i++) {
    const rowColDef &def = prowSource->pcoldef[i];
    int iType = def.iType & 0xFF;
    if ((def.iType & COLKEY_CLI) != 0 || (iType != ZORCOL_T_BLOB && iType != ZORCOL_T_CLOB && iType != ZORCOL_T_DBCLOB))
      continue;
    const int64_t ilSlot = def.sOffset;
    if (ilSlot < 0 || ilSlot >= ilFixed || ilSlot + 4 > ilData) continue;
    if ((def.iType & COLKEY_NULLABLE) != 0 && (ilSlot + 5 > ilData || pucData[ilSlot + 4] != 0)) continue;
    const int64_t ilDesc = obyteGetLE16(pucData + ilSlot);
    if (ilDesc + ZORUCORE_LOB_SIZE > ilData) continue;
    int32_t ilFull = static_cast<int32_t>(obyteGetLE32(pucData + ilDesc + ZORUCORE_LOB_FULL));
    int32_t ilHeld = static_cast<int32_t>(obyteGetLE32(pucData + ilDesc + ZORUCORE_LOB_LENGTH));
    if (ilFull > ilHeld) ilCut++;
  }
  return ilCut;
}

/* ----------------------------------------------------------- conversion */

/* Characters replaced by the substitution character in this thread; and
   the U+FFFD that the step to UTF-16 of the value being converted put in
   place of bytes it could not read, already counted, which the step from
   UTF-16 may replace once more.  Per thread, since a writer converts on
   several threads, each with ICU converters of its own. */
static thread_local int64_t gllUcoreReplaced = 0;
static thread_local int64_t gllUcorePending = 0;

/* ICU callbacks: count a replacement, then let ICU's substitution do it.
   The step to UTF-16 starts each value with a reset; close and clone calls
   replace nothing. */
static void U_CALLCONV _ucoreCountToU(const void *pvContext, UConverterToUnicodeArgs *pargs, const char *pcUnits,
                                      int32_t ilLength, UConverterCallbackReason reason, UErrorCode *perr)
{
  if (reason == UCNV_RESET) gllUcorePending = 0;
  if (reason <= UCNV_IRREGULAR) {
    gllUcoreReplaced++;
    gllUcorePending++;
  }
  UCNV_TO_U_CALLBACK_SUBSTITUTE(pvContext, pargs, pcUnits, ilLength, reason, perr);
}

static void U_CALLCONV _ucoreCountFromU(const void *pvContext, UConverterFromUnicodeArgs *pargs, const UChar *pu,
                                        int32_t ilLength, UChar32 c, UConverterCallbackReason reason, UErrorCode *perr)
{
  if (reason <= UCNV_IRREGULAR) {
    if (c == 0xFFFD && gllUcorePending > 0) gllUcorePending--;
    else gllUcoreReplaced++;
  }
  UCNV_FROM_U_CALLBACK_SUBSTITUTE(pvContext, pargs, pu, ilLength, c, reason, perr);
}

int zorucoreCountReplaced(UConverter *pconvToUtf16, UConverter *pconvFromUtf16)
{
  UErrorCode err = U_ZERO_ERROR;
  if (pconvToUtf16 != nullptr) ucnv_setToUCallBack(pconvToUtf16, _ucoreCountToU, nullptr, nullptr, nullptr, &err);
  if (U_SUCCESS(err) && pconvFromUtf16 != nullptr)
    ucnv_setFromUCallBack(pconvFromUtf16, _ucoreCountFromU, nullptr, nullptr, nullptr, &err);
  if (U_FAILURE(err)) omsgsTrace("RC ucnv_set callback = %d : %s\n", static_cast<int>(err), u_errorName(err));
  return U_FAILURE(err) ? static_cast<int>(err) : 0;
}

int64_t zorucoreReplacedCount(void) { return gllUcoreReplaced; }

/* The UTF-16 work area of the core data and its capacity in units; NULL when unusable. */
static UChar *_ucoreWorkUnits(const zorucoreData *pcore, int32_t *pilUnits)
{
  if (pcore->pcWorkBuffer == nullptr || reinterpret_cast<uintptr_t>(pcore->pcWorkBuffer) % alignof(UChar) != 0)
    return nullptr;
  int64_t ilUnits = pcore->ulWorkSize / 2;
  if (pcore->iWorkCapacity > 0 && pcore->iWorkCapacity < ilUnits) ilUnits = pcore->iWorkCapacity;
  if (ilUnits > INT32_MAX) ilUnits = INT32_MAX;
  *pilUnits = static_cast<int32_t>(ilUnits);
  return reinterpret_cast<UChar *>(pcore->pcWorkBuffer);
}

/* Source bytes -> UTF-16 units in the work area; the unit count, or -1. */
static int32_t _ucoreToUnits(zorucoreData *pcore, int32_t ilCount, const unsigned char *pucSource, UChar **ppu)
{
  int32_t ilCapacity = 0;
  UChar *pu = _ucoreWorkUnits(pcore, &ilCapacity);
  if (pu == nullptr || ilCount < 0) return -1;
  *ppu = pu;
  if (pcore->pconvToUtf16 != nullptr) {
    UErrorCode err = U_ZERO_ERROR;
    int32_t ilUnits = ucnv_toUChars(pcore->pconvToUtf16, pu, ilCapacity, reinterpret_cast<const char *>(pucSource),
                                    ilCount, &err);
    if (err > U_ZERO_ERROR) {
      omsgsTrace("RC ucnv_toUChars = %d : %s\n", static_cast<int>(err), u_errorName(err));
      return -1;
    }
    return ilUnits;
  }
  /* UTF-16 held high byte first: take each pair as one unit */
  int32_t ilUnits = ilCount / 2;
  if (ilUnits > ilCapacity) return -1;
  for (int32_t i = 0; i < ilUnits; i++) pu[i] = static_cast<UChar>(obyteGetBE16(pucSource + 2 * i));
  return ilUnits;
}

/* UTF-16 units -> output code page at pcOut; bytes written, -1 (ICU) or -2 (no room). */
static int32_t _ucoreFromUnits(zorucoreData *pcore, const UChar *pu, int32_t ilUnits, char *pcOut, int64_t ilRoom)
{
  int64_t ilCapacity = pcore->ulWorkSize;
  bool boRoomBound = ilRoom < ilCapacity;
  if (boRoomBound) ilCapacity = ilRoom;
  if (ilCapacity > INT32_MAX) ilCapacity = INT32_MAX;
  UErrorCode err = U_ZERO_ERROR;
  int32_t ilLength = ucnv_fromUChars(pcore->pconvFromUtf16, pcOut, static_cast<int32_t>(ilCapacity), pu, ilUnits,
                                     &err);
  if (err > U_ZERO_ERROR) {
    omsgsTrace("RC ucnv_fromUChars = %d : %s\n", static_cast<int>(err), u_errorName(err));
    return (err == U_BUFFER_OVERFLOW_ERROR && boRoomBound) ? -2 : -1;
  }
  return ilLength;
}

int32_t UCORE_CONVERT(zorucoreData *pcore, int32_t ilCount, const unsigned char *pucSource, char *pcOut,
                      int64_t ilRoom)
{
  UChar *pu = nullptr;
  int32_t ilUnits = _ucoreToUnits(pcore, ilCount, pucSource, &pu);
  if (ilUnits < 0) return -1;
  if (pcore->pconvFromUtf16 != nullptr) return _ucoreFromUnits(pcore, pu, ilUnits, pcOut, ilRoom);
  /* UTF-16 output: the units low byte first */
  if (2 * static_cast<int64_t>(ilUnits) > ilRoom) return -2;
  for (int32_t i = 0; i < ilUnits; i++) obytePutLE16(reinterpret_cast<unsigned char *>(pcOut) + 2 * i, pu[i]);
  return 2 * ilUnits;
}

int32_t _zorucoreDoubleDelim(char *pcText, int32_t ilLength, char cDelim, int64_t ilRoom)
{
  int32_t ilDelims = 0;
  for (int32_t i = 0; i < ilLength; i++)
    if (pcText[i] == cDelim) ilDelims++;
  if (static_cast<int64_t>(ilLength) + ilDelims > ilRoom) return -2;
  /* from the end: each byte moves right by the delimiters still before it */
  int32_t ilShift = ilDelims;
  for (int32_t i = ilLength - 1; i >= 0 && ilShift > 0; i--) {
    pcText[i + ilShift] = pcText[i];
    if (pcText[i] == cDelim) {
      ilShift--;
      pcText[i + ilShift] = pcText[i];
    }
  }
  return ilLength + ilDelims;
}

int32_t UCORE_CONVERTDD(zorucoreData *pcore, int32_t ilCount, const unsigned char *pucSource, char *pcOut,
                        int64_t ilRoom)
{
  UChar *pu = nullptr;
  int32_t ilUnits = _ucoreToUnits(pcore, ilCount, pucSource, &pu);
  if (ilUnits < 0) return -1;
  unsigned char ucDelim = static_cast<unsigned char>(pcore->cDelim);

  if (pcore->pconvFromUtf16 != nullptr) {
    int32_t ilLength = _ucoreFromUnits(pcore, pu, ilUnits, pcOut, ilRoom);
    if (ilLength < 0) return ilLength;
    return _zorucoreDoubleDelim(pcOut, ilLength, pcore->cDelim, ilRoom);
  }

  int32_t ilDelims = 0;
  for (int32_t i = 0; i < ilUnits; i++)
    if (pu[i] == ucDelim) ilDelims++;
  if (2 * (static_cast<int64_t>(ilUnits) + ilDelims) > ilRoom) return -2;
  unsigned char *puc = reinterpret_cast<unsigned char *>(pcOut);
  for (int32_t i = 0; i < ilUnits; i++) {
    obytePutLE16(puc, pu[i]);
    puc += 2;
    if (pu[i] == ucDelim) {
      obytePutLE16(puc, pu[i]);
      puc += 2;
    }
  }
  return 2 * (ilUnits + ilDelims);
}

/* --------------------------------------------------------------- values */

enum ucoreSlot { UCORE_CHAR, UCORE_GRAPHIC, UCORE_VAR, UCORE_LONG, UCORE_LOB };
enum ucoreMode { UCORE_PLAIN, UCORE_CONV, UCORE_DD, UCORE_CONVDD };

/* Bytes the null test takes as the value (the in-record size). */
static int32_t _ucoreSlotSize(ucoreSlot slot, const rowColDef *pdef)
{
  switch (slot) {
    case UCORE_CHAR:    return pdef->iLength;
    case UCORE_GRAPHIC: return 2 * pdef->iLength;
    default:            return 4;
  }
}

/*
** Finds the bytes of the current column's value in the record.
** Returns 0, or ZORUCORE_RC_BADVALUE when the value, its slot or its
** descriptor does not lie inside the record data.
*/
static int _ucoreLocate(const zorucoreCol *pcol, ucoreSlot slot, const unsigned char **ppucBytes, int32_t *pilLength)
{
  int64_t ilOffset = pcol->pdefSrc->sOffset;
  int64_t ilSize = _ucoreSlotSize(slot, pcol->pdefSrc);
  const unsigned char *puc = _zorucoreValue(pcol, ilOffset, ilSize);
  if (puc == nullptr) return ZORUCORE_RC_BADVALUE;
  int64_t ilBytesOffset;
  int64_t ilLength;
  switch (slot) {
    case UCORE_CHAR:
    case UCORE_GRAPHIC:
      *ppucBytes = puc;
      *pilLength = static_cast<int32_t>(ilSize);
      return 0;
    case UCORE_VAR:
      ilBytesOffset = obyteGetLE16(puc);
      ilLength = obyteGetLE16(puc + 2);
      break;
    case UCORE_LONG: {
      const unsigned char *pucDesc = _zorucoreValue(pcol, obyteGetLE16(puc), ZORUCORE_LF_SIZE);
      if (pucDesc == nullptr) return ZORUCORE_RC_BADVALUE;
      ilLength = static_cast<int32_t>(obyteGetLE32(pucDesc + ZORUCORE_LF_LENGTH));
      ilBytesOffset = static_cast<int32_t>(obyteGetLE32(pucDesc + ZORUCORE_LF_OFFSET));
      break;
    }
    case UCORE_LOB: {
      const unsigned char *pucDesc = _zorucoreValue(pcol, obyteGetLE16(puc), ZORUCORE_LOB_SIZE);
      if (pucDesc == nullptr) return ZORUCORE_RC_BADVALUE;
      ilLength = static_cast<int32_t>(obyteGetLE32(pucDesc + ZORUCORE_LOB_LENGTH));
      ilBytesOffset = static_cast<int32_t>(obyteGetLE32(pucDesc + ZORUCORE_LOB_OFFSET));
      break;
    }
  }
  const unsigned char *pucBytes = _zorucoreValue(pcol, ilBytesOffset, ilLength);
  if (pucBytes == nullptr) return ZORUCORE_RC_BADVALUE;
  *ppucBytes = pucBytes;
  *pilLength = static_cast<int32_t>(ilLength);
  return 0;
}

/* Copies n bytes, each delimiter byte twice; returns the new out (room checked by the caller). */
static char *_ucoreCopyDD(char *pcOut, const unsigned char *puc, int32_t ilLength, char cDelim)
{
  for (int32_t i = 0; i < ilLength; i++) {
    *pcOut++ = static_cast<char>(puc[i]);
    if (static_cast<char>(puc[i]) == cDelim) *pcOut++ = cDelim;
  }
  return pcOut;
}

/*
** The frame and text of every character, graphic and LOB converter.  A
** location specifier is written as a file reference is; a null LOB is a
** null (an empty field) with or without location specifiers.
*/
[[gnu::always_inline]] static inline int _ucoreText(orow *prowSource, orow *prowTarget, ucoreSlot slot, ucoreMode mode)
{
  zorucoreCol col;
  int iRc = _zorucoreColBegin(prowSource, prowTarget, &col);
  if (iRc != 0) return iRc;
  zorucoreData *pcore = col.pcore;
  bool boLobFile = (prowTarget->pcoldef[prowTarget->iCurrent].iType & COLKEY_LOBFILE) != 0;

  const unsigned char *pucValue = col.pucData + col.pdefSrc->sOffset;
  int32_t ilSize = _ucoreSlotSize(slot, col.pdefSrc);
  int iNd = _zorucoreNullDefault(pcore, prowSource, prowTarget, col.pcOut, pucValue, ilSize);
  if (iNd == 1) return 0;
  if (iNd != 0) return iNd;

  const unsigned char *pucBytes = nullptr;
  int32_t ilLength = 0;
  iRc = _ucoreLocate(&col, slot, &pucBytes, &ilLength);
  if (iRc != 0) return iRc;
  if (slot == UCORE_LOB && boLobFile) {
    /* a file reference or location specifier: as it is, without the reader's closing zero byte */
    mode = UCORE_PLAIN;
    if (ilLength > 0 && pucBytes[ilLength - 1] == 0) ilLength--;
  }

  int64_t ilDelims = (pcore->ulFlags & ZORUCORE_FLAG_DELIM) ? 1 : 0;
  char *pcOut = col.pcOut;
  if (!_zorucoreRoom(prowTarget, pcOut, 2 * ilDelims)) return ZORUCORE_RC_NOROOM;
  pcOut = _zorucorePrintDelim1C(pcore, pcOut);
  int64_t ilRoom = (prowTarget->pcEnd - pcOut) - ilDelims;   /* the closing delimiter's byte is kept */

  switch (mode) {
    case UCORE_PLAIN:
      if (ilLength > ilRoom) return ZORUCORE_RC_NOROOM;
      if (ilLength > 0) std::memcpy(pcOut, pucBytes, static_cast<size_t>(ilLength));
      pcOut += ilLength;
      break;
    case UCORE_DD: {
      if (ilLength <= 0 || std::memchr(pucBytes, static_cast<unsigned char>(pcore->cDelim), static_cast<size_t>(ilLength)) == nullptr) {
        /* no delimiter inside: the bytes as they are */
        if (ilLength > ilRoom) return ZORUCORE_RC_NOROOM;
        if (ilLength > 0) std::memcpy(pcOut, pucBytes, static_cast<size_t>(ilLength));
        pcOut += ilLength;
        break;
      }
      int64_t ilNeed = ilLength;
      for (int32_t i = 0; i < ilLength; i++)
        if (static_cast<char>(pucBytes[i]) == pcore->cDelim) ilNeed++;
      if (ilNeed > ilRoom) return ZORUCORE_RC_NOROOM;
      pcOut = _ucoreCopyDD(pcOut, pucBytes, ilLength, pcore->cDelim);
      break;
    }
    case UCORE_CONV:
    case UCORE_CONVDD: {
      int32_t ilOut = mode == UCORE_CONV ? UCORE_CONVERT(pcore, ilLength, pucBytes, pcOut, ilRoom)
                                         : UCORE_CONVERTDD(pcore, ilLength, pucBytes, pcOut, ilRoom);
      if (ilOut == -2) return ZORUCORE_RC_NOROOM;
      if (ilOut < 0) return ZORUCORE_RC_ICU;
      pcOut += ilOut;
      break;
    }
  }
  pcOut = _zorucorePrintDelim1C(pcore, pcOut);
  return _zorucoreColEnd(prowSource, prowTarget, pcOut);
}

/* ------------------------------------------------------------ converters */

#define UCORE_TEXT(name, slot, mode) \
  int name(orow *prowSource, orow *prowTarget) { return _ucoreText(prowSource, prowTarget, slot, mode); }

UCORE_TEXT(_zorucore_Char2Delimited, UCORE_CHAR, UCORE_PLAIN)
UCORE_TEXT(_zorucore_CharN2Delimited, UCORE_CHAR, UCORE_PLAIN)
UCORE_TEXT(_zorucore_Varchar2Delimited, UCORE_VAR, UCORE_PLAIN)
UCORE_TEXT(_zorucore_VarcharN2Delimited, UCORE_VAR, UCORE_PLAIN)
UCORE_TEXT(_zorucore_Longvarchar2Delimited, UCORE_LONG, UCORE_PLAIN)
UCORE_TEXT(_zorucore_LongvarcharN2Delimited, UCORE_LONG, UCORE_PLAIN)
UCORE_TEXT(_zorucore_Char2DelimitedConvert, UCORE_CHAR, UCORE_CONV)
UCORE_TEXT(_zorucore_CharN2DelimitedConvert, UCORE_CHAR, UCORE_CONV)
UCORE_TEXT(_zorucore_Varchar2DelimitedConvert, UCORE_VAR, UCORE_CONV)
UCORE_TEXT(_zorucore_VarcharN2DelimitedConvert, UCORE_VAR, UCORE_CONV)
UCORE_TEXT(_zorucore_Longvarchar2DelimitedConvert, UCORE_LONG, UCORE_CONV)
UCORE_TEXT(_zorucore_LongvarcharN2DelimitedConvert, UCORE_LONG, UCORE_CONV)
UCORE_TEXT(_zorucore_Char2DelimitedDD, UCORE_CHAR, UCORE_DD)
UCORE_TEXT(_zorucore_Varchar2DelimitedDD, UCORE_VAR, UCORE_DD)
UCORE_TEXT(_zorucore_Longvarchar2DelimitedDD, UCORE_LONG, UCORE_DD)
UCORE_TEXT(_zorucore_Char2DelimitedConvertDD, UCORE_CHAR, UCORE_CONVDD)
UCORE_TEXT(_zorucore_Varchar2DelimitedConvertDD, UCORE_VAR, UCORE_CONVDD)
UCORE_TEXT(_zorucore_Longvarchar2DelimitedConvertDD, UCORE_LONG, UCORE_CONVDD)

UCORE_TEXT(_zorucore_Graphic2Delimited, UCORE_GRAPHIC, UCORE_PLAIN)
UCORE_TEXT(_zorucore_GraphicN2Delimited, UCORE_GRAPHIC, UCORE_PLAIN)
UCORE_TEXT(_zorucore_Vargraphic2Delimited, UCORE_VAR, UCORE_PLAIN)
UCORE_TEXT(_zorucore_VargraphicN2Delimited, UCORE_VAR, UCORE_PLAIN)
UCORE_TEXT(_zorucore_Longvargraphic2Delimited, UCORE_LONG, UCORE_PLAIN)
UCORE_TEXT(_zorucore_LongvargraphicN2Delimited, UCORE_LONG, UCORE_PLAIN)
UCORE_TEXT(_zorucore_Graphic2DelimitedConvert, UCORE_GRAPHIC, UCORE_CONV)
UCORE_TEXT(_zorucore_GraphicN2DelimitedConvert, UCORE_GRAPHIC, UCORE_CONV)
UCORE_TEXT(_zorucore_Vargraphic2DelimitedConvert, UCORE_VAR, UCORE_CONV)
UCORE_TEXT(_zorucore_VargraphicN2DelimitedConvert, UCORE_VAR, UCORE_CONV)
UCORE_TEXT(_zorucore_Longvargraphic2DelimitedConvert, UCORE_LONG, UCORE_CONV)
UCORE_TEXT(_zorucore_LongvargraphicN2DelimitedConvert, UCORE_LONG, UCORE_CONV)
UCORE_TEXT(_zorucore_Graphic2DelimitedConvertDD, UCORE_GRAPHIC, UCORE_CONVDD)
UCORE_TEXT(_zorucore_Vargraphic2DelimitedConvertDD, UCORE_VAR, UCORE_CONVDD)
UCORE_TEXT(_zorucore_Longvargraphic2DelimitedConvertDD, UCORE_LONG, UCORE_CONVDD)

UCORE_TEXT(_zorucore_Blob2Delimited, UCORE_LOB, UCORE_PLAIN)
UCORE_TEXT(_zorucore_BlobN2Delimited, UCORE_LOB, UCORE_PLAIN)
UCORE_TEXT(_zorucore_Blob2DelimitedDD, UCORE_LOB, UCORE_DD)
UCORE_TEXT(_zorucore_Clob2Delimited, UCORE_LOB, UCORE_PLAIN)
UCORE_TEXT(_zorucore_ClobN2Delimited, UCORE_LOB, UCORE_PLAIN)
UCORE_TEXT(_zorucore_Clob2DelimitedDD, UCORE_LOB, UCORE_DD)
UCORE_TEXT(_zorucore_Clob2DelimitedConvert, UCORE_LOB, UCORE_CONV)
UCORE_TEXT(_zorucore_ClobN2DelimitedConvert, UCORE_LOB, UCORE_CONV)
UCORE_TEXT(_zorucore_Clob2DelimitedConvertDD, UCORE_LOB, UCORE_CONVDD)
UCORE_TEXT(_zorucore_Dbclob2Delimited, UCORE_LOB, UCORE_PLAIN)
UCORE_TEXT(_zorucore_DbclobN2Delimited, UCORE_LOB, UCORE_PLAIN)
UCORE_TEXT(_zorucore_Dbclob2DelimitedConvert, UCORE_LOB, UCORE_CONV)
UCORE_TEXT(_zorucore_DbclobN2DelimitedConvert, UCORE_LOB, UCORE_CONV)
UCORE_TEXT(_zorucore_Dbclob2DelimitedConvertDD, UCORE_LOB, UCORE_CONVDD)
UCORE_TEXT(_zorucore_BlobLlsN2Delimited, UCORE_LOB, UCORE_PLAIN)
UCORE_TEXT(_zorucore_ClobLlsN2Delimited, UCORE_LOB, UCORE_PLAIN)
UCORE_TEXT(_zorucore_DbclobLlsN2Delimited, UCORE_LOB, UCORE_PLAIN)
