/*
** zorcontroludb.cpp
**   Date/time templates and column default values of the output columns
**   (see control/zorcontroludb.h).  Every layout is one line of pieces:
**   the template is the pieces' text in order, and a component's position
**   is where its piece starts; the DEL default of a date, time or timestamp
**   is laid out from the same pieces, so it matches a row value byte for
**   byte.
*/
#include "control/zorcontroludb.h"

#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/obyte.h"
#include "common/ochar.h"
#include "common/oreason.h"
#include "model/token.h"
#include "model/zoratom.h"
#include "model/zortask.h"
#include "run/zorucore.h"
#include "run/zorucoredate.h"

/*
** Pieces of a layout, one character each:
**   Y  four-digit year: century at its start, year of century 2 bytes on
**   y  two-digit year          m  month          d  day of month
**   j  three-digit day of year (at the day position)
**   H  hour   M  minute   S  second   N  six-digit microseconds
**   -  date delimiter   .  time delimiter   ' '  one blank
**   A  "AM": the marker position of TIME_C (kept in the second's slot)
*/
static const char *const apcDateLayout[] = {
  "m-d-Y", "m-d-y", "Y-m-d", "y-m-d", "d-m-Y", "d-m-y", "Y-j", "y-j",   /* A to H */
  "mdY",   "mdy",   "Ymd",   "ymd",   "dmY",   "dmy",   "Yj",  "yj"     /* I to P */
};
static const char *const apcTimeLayout[] = {"H.M.S", "H.M", "H.M A", "HMS", "HM"};
static const char *const apcTimestampLayout[] = {"Y-m-d-H.M.S", "Y-m-d-H.M.S.N", "YmdHMS",
                                                 "ymdHMS",      "YmdHMSN",       "ymdHMSN"};

/* The layout of the letter of the TYPE atom iSlot found from the task up; NULL when there is none. */
static const char *_udbLayout(zortask *ptask, int iSlot, const char *const *apcLayout, int iCount)
{
  const char *pcName = gapnameTotalToken[iSlot];
  if (pcName == nullptr) return nullptr;
  zoratom *patom = zortaskDetermineAtom(ptask, pcName);
  if (patom == nullptr || patom->iKind != ZORATOM_TYPE) return nullptr;
  int32_t iLetter = patom->value2.iValue;
  if (iLetter < 'A' || iLetter >= 'A' + iCount) return nullptr;
  return apcLayout[iLetter - 'A'];
}

/* Text of a delimiter string; NULL or an object without buffer is empty. */
static std::string _udbDelim(const ochar *pchar)
{
  if (pchar == nullptr || pchar->pcData == nullptr || pchar->ilBU <= 0) return std::string();
  return std::string(_charText(pchar), static_cast<size_t>(pchar->ilBU));
}

/* Bytes a piece occupies. */
static size_t _udbPieceWidth(char cPiece, const std::string &strDate, const std::string &strTime)
{
  switch (cPiece) {
    case 'Y': return 4;
    case 'j': return 3;
    case 'N': return 6;
    case 'A': return 2;
    case ' ': return 1;
    case '-': return strDate.size();
    case '.': return strTime.size();
    default:  return 2;
  }
}

/* The position slot a piece fills, -1 for fixed text. */
static int _udbPieceSlot(char cPiece)
{
  switch (cPiece) {
    case 'Y': return ZORUCORE_POS_CENTURY;
    case 'y': return ZORUCORE_POS_YEAR;
    case 'm': return ZORUCORE_POS_MONTH;
    case 'd':
    case 'j': return ZORUCORE_POS_DAY;
    case 'H': return ZORUCORE_POS_HOUR;
    case 'M': return ZORUCORE_POS_MINUTE;
    case 'S':
    case 'A': return ZORUCORE_POS_SECOND;
    case 'N': return ZORUCORE_POS_MICRO;
    default:  return -1;
  }
}

/*
** Builds the template of a layout into the core data: the text (a CCSID-850
** string of the pieces, digit 0 for every component), its length and the
** positions of the layout's components.  Nothing changes on failure.
*/
static int _udbBuildTemplate(zorucoreData *pcore, const char *pcLayout, const std::string &strDate,
                             const std::string &strTime)
{
  size_t ulLength = 0;
  for (const char *pc = pcLayout; *pc != '\0'; pc++) ulLength += _udbPieceWidth(*pc, strDate, strTime);
  if (ulLength == 0 || ulLength > INT16_MAX) return ORC_INVALID;

  ochar *pchar = ocharCreate(static_cast<int32_t>(ulLength), OCHAR_CCSID_ASCII);
  if (pchar == nullptr) return ORC_NOMEM;
  int16_t asPos[ZORUCORE_POS_COUNT];
  std::memcpy(asPos, pcore->asPos, sizeof asPos);
  int rc = 0;
  for (const char *pc = pcLayout; *pc != '\0' && rc == 0; pc++) {
    int16_t sAt = static_cast<int16_t>(pchar->ilBU);
    int iSlot = _udbPieceSlot(*pc);
    if (iSlot >= 0) asPos[iSlot] = sAt;
    if (*pc == 'Y') asPos[ZORUCORE_POS_YEAR] = static_cast<int16_t>(sAt + 2);
    switch (*pc) {
      case '-': rc = ocharAppendFixed(pchar, strDate.data(), static_cast<int32_t>(strDate.size())); break;
      case '.': rc = ocharAppendFixed(pchar, strTime.data(), static_cast<int32_t>(strTime.size())); break;
      case ' ': rc = ocharAppendFixed(pchar, " ", 1); break;
      case 'A': rc = ocharAppendFixed(pchar, "AM", 2); break;
      default:  rc = ocharAppendFixed(pchar, "000000", static_cast<int32_t>(_udbPieceWidth(*pc, strDate, strTime)));
    }
  }
  if (rc != 0) {
    ocharDestroy(pchar);
    return rc;
  }
  /* the string's buffer becomes the template */
  char *pcTemplate = pchar->pcData;
  pchar->pcData = nullptr;
  ocharDestroy(pchar);
  std::free(pcore->pcTemplate);
  pcore->pcTemplate = pcTemplate;
  pcore->sTemplateLength = static_cast<int16_t>(ulLength);
  std::memcpy(pcore->asPos, asPos, sizeof asPos);
  return 0;
}

int _zorcontrolUdbDateTemplate(zorucoreData *pcore, zortask *ptaskEcs, const ochar *pcharDateDelim)
{
  if (pcore == nullptr) return 0;
  const char *pcLayout = _udbLayout(ptaskEcs, TOKEN_DATE, apcDateLayout, 16);
  if (pcLayout == nullptr) return 0;
  return _udbBuildTemplate(pcore, pcLayout, _udbDelim(pcharDateDelim), std::string());
}

int _zorcontrolUdbTimeTemplate(zorucoreData *pcore, zortask *ptaskEcs, const ochar *pcharTimeDelim)
{
  if (pcore == nullptr) return 0;
  const char *pcLayout = _udbLayout(ptaskEcs, TOKEN_TIME, apcTimeLayout, 5);
  if (pcLayout == nullptr) return 0;
  return _udbBuildTemplate(pcore, pcLayout, std::string(), _udbDelim(pcharTimeDelim));
}

int _zorcontrolUdbTimestampTemplate(zorucoreData *pcore, zortask *ptaskEcs, const ochar *pcharDateDelim,
                                    const ochar *pcharTimeDelim)
{
  if (pcore == nullptr) return 0;
  const char *pcLayout = _udbLayout(ptaskEcs, TOKEN_TIMESTAMP, apcTimestampLayout, 6);
  if (pcLayout == nullptr) return 0;
  return _udbBuildTemplate(pcore, pcLayout, _udbDelim(pcharDateDelim), _udbDelim(pcharTimeDelim));
}

/* ------------------------------------------------------------------ defaults */

/* The bytes of the catalogue default text (empty for none). */
static std::string _udbText(const ochar *pchar)
{
  if (pchar == nullptr || pchar->pcData == nullptr || pchar->ilBU <= 0) return std::string();
  return std::string(_charText(pchar), static_cast<size_t>(pchar->ilBU));
}

/*
** The value of an SQL character constant: the text between its apostrophes
** with each doubled apostrophe made single; with bGraphic a leading G or N
** is skipped first.  A text that is not quoted is returned whole.
*/
static std::string _udbUnquote(const std::string &strText, bool bGraphic)
{
  size_t ulStart = 0;
  if (bGraphic && strText.size() >= 3 && std::strchr("GgNn", strText[0]) != nullptr && strText[1] == '\'')
    ulStart = 1;
  size_t ulSize = strText.size() - ulStart;
  if (ulSize < 2 || strText[ulStart] != '\'' || strText.back() != '\'') return strText;
  std::string strValue;
  for (size_t i = ulStart + 1; i + 1 < strText.size(); i++) {
    strValue += strText[i];
    if (strText[i] == '\'' && i + 2 < strText.size() && strText[i + 1] == '\'') i++;
  }
  return strValue;
}

/* Replaces the default buffer by one of 3 x length + 9 bytes holding the value; nothing changes on failure. */
static void _udbSetDefault(zorucoreData *pcore, const std::string &strValue)
{
  if (strValue.size() > INT16_MAX) return;
  char *pc = static_cast<char *>(std::calloc(3 * strValue.size() + 9, 1));
  if (pc == nullptr) return;
  if (!strValue.empty()) std::memcpy(pc, strValue.data(), strValue.size());
  std::free(pcore->pcDefault);
  pcore->pcDefault = pc;
  pcore->sDefaultLength = static_cast<int16_t>(strValue.size());
}

/* No default value: the converters then write the column as a column without default. */
static void _udbNoDefault(zorucoreData *pcore)
{
  pcore->sDefaultLength = 0;
}

void _zorcontrolUdbDefaultDelChar(zorucoreData *pcore, const ochar *pcharDefault)
{
  _zorcontrolUdbDefaultDelText(pcore, pcharDefault, 0, false);
}

void _zorcontrolUdbDefaultDelText(zorucoreData *pcore, const ochar *pcharDefault, uint16_t usTargetCCSID,
                                  bool boDoubled)
{
  if (pcore == nullptr || pcharDefault == nullptr) return;
  std::string strValue = _udbUnquote(_udbText(pcharDefault), false);
  uint16_t usSource = pcharDefault->usCCSID;
  bool boCodePages = usSource != 0 && usSource != 0xFFFF && usTargetCCSID != 0 && usTargetCCSID != 0xFFFF;
  if (boCodePages && usSource != usTargetCCSID && !strValue.empty()) {
    ochar charValue{};
    if (ocharInitFromFixed(&charValue, strValue.data(), static_cast<int32_t>(strValue.size()), usSource) != 0)
      return _udbNoDefault(pcore);
    int rc = ocharConvert(&charValue, usTargetCCSID);
    if (rc == 0 && charValue.pcData != nullptr && charValue.ilBU > 0)
      strValue.assign(_charText(&charValue), static_cast<size_t>(charValue.ilBU));
    if (charValue.usFlags & OCHAR_OWNED) std::free(charValue.pcData);
    if (rc != 0) return _udbNoDefault(pcore);
  }
  std::string strText(1, pcore->cDelim);
  for (char c : strValue) {
    strText += c;
    if (boDoubled && c == pcore->cDelim) strText += c;
  }
  _udbSetDefault(pcore, strText + pcore->cDelim);
}

void _zorcontrolUdbDefaultIxfChar(zorucoreData *pcore, const ochar *pcharDefault)
{
  if (pcore == nullptr || pcharDefault == nullptr) return;
  _udbSetDefault(pcore, _udbUnquote(_udbText(pcharDefault), false));
}

/* A little-endian count of iBytes bytes followed by the value. */
static std::string _udbPrefixed(const std::string &strValue, uint64_t ulCount, int iBytes)
{
  unsigned char auc[4];
  if (iBytes == 2) obytePutLE16(auc, static_cast<uint16_t>(ulCount));
  else obytePutLE32(auc, static_cast<uint32_t>(ulCount));
  return std::string(reinterpret_cast<const char *>(auc), static_cast<size_t>(iBytes)) + strValue;
}

void _zorcontrolUdbDefaultIxfVarchar(zorucoreData *pcore, const ochar *pcharDefault)
{
  if (pcore == nullptr || pcharDefault == nullptr) return;
  std::string strValue = _udbUnquote(_udbText(pcharDefault), false);
  _udbSetDefault(pcore, _udbPrefixed(strValue, strValue.size(), 2));
}

void _zorcontrolUdbDefaultIxfClob(zorucoreData *pcore, const ochar *pcharDefault)
{
  if (pcore == nullptr || pcharDefault == nullptr) return;
  std::string strValue = _udbUnquote(_udbText(pcharDefault), false);
  _udbSetDefault(pcore, _udbPrefixed(strValue, strValue.size(), 4));
}

void _zorcontrolUdbDefaultIxfDatetime(zorucoreData *pcore, const ochar *pcharDefault)
{
  if (pcore == nullptr || pcharDefault == nullptr) return;
  _udbSetDefault(pcore, _udbUnquote(_udbText(pcharDefault), false));
}

/* ------------------------------------------------------------ DEL date/time */

/*
** Byte offsets of the components in a quoted date, time or timestamp
** constant (the opening apostrophe is byte 0): 'YYYY-MM-DD',
** 'HH.MM.SS', 'YYYY-MM-DD-HH.MM.SS.NNNNNN'.  -1: the value has none.
*/
struct udbOffsets {
  int iCentury, iYear, iMonth, iDay, iHour, iMinute, iSecond, iMicro;
};
static const udbOffsets offDate = {1, 3, 6, 9, -1, -1, -1, -1};
static const udbOffsets offTime = {-1, -1, -1, -1, 1, 4, 7, -1};
static const udbOffsets offTimestamp = {1, 3, 6, 9, 12, 15, 18, 21};

/* True when the text holds iWidth digits at iOffset (inside the text). */
static bool _udbDigits(const std::string &strText, int iOffset, int iWidth)
{
  if (iOffset < 0 || static_cast<size_t>(iOffset + iWidth) > strText.size()) return false;
  for (int i = 0; i < iWidth; i++)
    if (strText[static_cast<size_t>(iOffset + i)] < '0' || strText[static_cast<size_t>(iOffset + i)] > '9')
      return false;
  return true;
}

static int _udbNumber(const std::string &strText, int iOffset, int iWidth)
{
  int i = 0;
  for (int k = 0; k < iWidth; k++) i = i * 10 + (strText[static_cast<size_t>(iOffset + k)] - '0');
  return i;
}

static void _udbPutNumber(char *pc, int iValue, int iWidth)
{
  for (int k = iWidth - 1; k >= 0; k--, iValue /= 10) pc[k] = static_cast<char>('0' + iValue % 10);
}

/*
** Lays the default out in the column's template: copies the template and
** writes each component of the layout at its position, the digits taken
** from the text's fixed offsets.  False (nothing written) when the text is
** not quoted or lacks a digit the layout needs, or when a position does not
** fit the template.
*/
static bool _udbLayDefault(const zorucoreData *pcore, const char *pcLayout, const std::string &strText,
                           const udbOffsets &off, std::string *pstrOut)
{
  if (pcore->pcTemplate == nullptr || pcore->sTemplateLength <= 0) return false;
  if (strText.empty() || strText[0] != '\'') return false;
  std::string strOut(pcore->pcTemplate, static_cast<size_t>(pcore->sTemplateLength));
  for (const char *pc = pcLayout; *pc != '\0'; pc++) {
    int iSlot = _udbPieceSlot(*pc);
    if (iSlot < 0 || *pc == 'A') continue;
    int iPos = pcore->asPos[iSlot];
    int iWidth = static_cast<int>(_udbPieceWidth(*pc, std::string(), std::string()));
    if (iPos < 0 || iPos + (*pc == 'Y' ? 2 : iWidth) > pcore->sTemplateLength) return false;
    char *pcAt = &strOut[static_cast<size_t>(iPos)];
    int iOffset;
    switch (*pc) {
      case 'Y': iOffset = off.iCentury; break;
      case 'y': iOffset = off.iYear; break;
      case 'm': iOffset = off.iMonth; break;
      case 'd': iOffset = off.iDay; break;
      case 'j': iOffset = off.iCentury; break;
      case 'H': iOffset = off.iHour; break;
      case 'M': iOffset = off.iMinute; break;
      case 'S': iOffset = off.iSecond; break;
      default:  iOffset = off.iMicro; break;
    }
    if (*pc == 'j') {
      /* day of year, as the row converters compute it */
      if (!_udbDigits(strText, off.iCentury, 4) || !_udbDigits(strText, off.iMonth, 2) ||
          !_udbDigits(strText, off.iDay, 2))
        return false;
      unsigned char aucDate[4];
      int aiPart[4] = {_udbNumber(strText, off.iCentury, 2), _udbNumber(strText, off.iYear, 2),
                       _udbNumber(strText, off.iMonth, 2), _udbNumber(strText, off.iDay, 2)};
      for (int k = 0; k < 4; k++) aucDate[k] = static_cast<unsigned char>((aiPart[k] / 10) << 4 | aiPart[k] % 10);
      int iDoy = _zorucore_GetQuantieme(aucDate);
      if (iDoy <= 0 || iDoy > 999) return false;
      _udbPutNumber(pcAt, iDoy, 3);
      continue;
    }
    if (!_udbDigits(strText, iOffset, iWidth)) return false;
    if (*pc == 'Y') {
      /* century and year of century each at its own position */
      int iYear = pcore->asPos[ZORUCORE_POS_YEAR];
      if (iYear < 0 || iYear + 2 > pcore->sTemplateLength) return false;
      std::memcpy(pcAt, strText.data() + iOffset, 2);
      std::memcpy(&strOut[static_cast<size_t>(iYear)], strText.data() + off.iYear, 2);
      continue;
    }
    if (*pc == 'H' && std::strchr(pcLayout, 'A') != nullptr) {
      /* 12-hour clock: the marker becomes A or P */
      int iMarker = pcore->asPos[ZORUCORE_POS_SECOND];
      if (iMarker < 0 || iMarker >= pcore->sTemplateLength || iMarker - iPos < 2) return false;
      int iHour = _udbNumber(strText, iOffset, 2);
      strOut[static_cast<size_t>(iMarker)] = iHour >= 12 ? 'P' : 'A';
      _udbPutNumber(pcAt, iHour >= 12 ? iHour - 12 : iHour, 2);
      continue;
    }
    std::memcpy(pcAt, strText.data() + iOffset, static_cast<size_t>(iWidth));
  }
  *pstrOut = strOut;
  return true;
}

static void _udbDelDateTime(zorucoreData *pcore, const ochar *pcharDefault, zortask *ptaskEcs, int iSlot,
                            const char *const *apcLayout, int iCount, const udbOffsets &off, bool bDelimited)
{
  if (pcore == nullptr || pcharDefault == nullptr) return;
  const char *pcLayout = _udbLayout(ptaskEcs, iSlot, apcLayout, iCount);
  if (pcLayout == nullptr) return;
  std::string strValue;
  if (!_udbLayDefault(pcore, pcLayout, _udbText(pcharDefault), off, &strValue)) return;
  if (bDelimited) strValue = pcore->cDelim + strValue + pcore->cDelim;
  _udbSetDefault(pcore, strValue);
}

void _zorcontrolUdbDefaultDelDate(zorucoreData *pcore, const ochar *pcharDefault, zortask *ptaskEcs)
{
  _udbDelDateTime(pcore, pcharDefault, ptaskEcs, TOKEN_DATE, apcDateLayout, 16, offDate, false);
}

void _zorcontrolUdbDefaultDelTime(zorucoreData *pcore, const ochar *pcharDefault, zortask *ptaskEcs)
{
  _udbDelDateTime(pcore, pcharDefault, ptaskEcs, TOKEN_TIME, apcTimeLayout, 5, offTime, true);
}

void _zorcontrolUdbDefaultDelTmsp(zorucoreData *pcore, const ochar *pcharDefault, zortask *ptaskEcs)
{
  _udbDelDateTime(pcore, pcharDefault, ptaskEcs, TOKEN_TIMESTAMP, apcTimestampLayout, 6, offTimestamp, true);
}

/* ------------------------------------------------------------------ numbers */

static void _udbInteger(zorucoreData *pcore, const ochar *pcharDefault, int iBytes)
{
  if (pcore == nullptr || pcharDefault == nullptr) return;
  std::string strText = _udbText(pcharDefault);
  long long llValue = std::strtoll(strText.c_str(), nullptr, 10);
  unsigned char auc[8];
  if (iBytes == 2) obytePutLE16(auc, static_cast<uint16_t>(llValue));
  else if (iBytes == 4) obytePutLE32(auc, static_cast<uint32_t>(llValue));
  else obytePutLE64(auc, static_cast<uint64_t>(llValue));
  _udbSetDefault(pcore, std::string(reinterpret_cast<const char *>(auc), static_cast<size_t>(iBytes)));
}

void _zorcontrolUdbDefaultIxfSmall(zorucoreData *pcore, const ochar *pcharDefault) { _udbInteger(pcore, pcharDefault, 2); }
void _zorcontrolUdbDefaultIxfInt(zorucoreData *pcore, const ochar *pcharDefault) { _udbInteger(pcore, pcharDefault, 4); }
void _zorcontrolUdbDefaultIxfBig(zorucoreData *pcore, const ochar *pcharDefault) { _udbInteger(pcore, pcharDefault, 8); }

/* The leading floating-point number of the text with "." as the point whatever the locale; 0 when none. */
static double _udbDouble(const std::string &strText)
{
  size_t i = 0;
  while (i < strText.size() && (strText[i] == ' ' || strText[i] == '\t')) i++;
  if (i < strText.size() && strText[i] == '+') i++;
  double d = 0;
  std::from_chars(strText.data() + i, strText.data() + strText.size(), d, std::chars_format::general);
  return d;
}

void _zorcontrolUdbDefaultIxfReal(zorucoreData *pcore, const ochar *pcharDefault)
{
  if (pcore == nullptr || pcharDefault == nullptr) return;
  float f = static_cast<float>(_udbDouble(_udbText(pcharDefault)));
  uint32_t ul;
  std::memcpy(&ul, &f, sizeof ul);
  unsigned char auc[4];
  obytePutLE32(auc, ul);
  _udbSetDefault(pcore, std::string(reinterpret_cast<const char *>(auc), sizeof auc));
}

void _zorcontrolUdbDefaultIxfDbl(zorucoreData *pcore, const ochar *pcharDefault)
{
  if (pcore == nullptr || pcharDefault == nullptr) return;
  double d = _udbDouble(_udbText(pcharDefault));
  uint64_t ul;
  std::memcpy(&ul, &d, sizeof ul);
  unsigned char auc[8];
  obytePutLE64(auc, ul);
  _udbSetDefault(pcore, std::string(reinterpret_cast<const char *>(auc), sizeof auc));
}

/* ----------------------------------------------------------------- graphics */

/* The value of a graphic constant converted to usCCSID; false when the conversion fails. */
static bool _udbGraphic(const ochar *pcharDefault, uint16_t usCCSID, std::string *pstrOut)
{
  std::string strValue = _udbUnquote(_udbText(pcharDefault), true);
  if (strValue.empty()) {
    pstrOut->clear();
    return true;
  }
  ochar charValue{};
  if (ocharInitFromFixed(&charValue, strValue.data(), static_cast<int32_t>(strValue.size()),
                         pcharDefault->usCCSID) != 0)
    return false;
  int rc = ocharConvert(&charValue, usCCSID);
  if (rc == 0 && charValue.pcData != nullptr && charValue.ilBU > 0)
    pstrOut->assign(_charText(&charValue), static_cast<size_t>(charValue.ilBU));
  else
    pstrOut->clear();
  if (charValue.usFlags & OCHAR_OWNED) std::free(charValue.pcData);
  return rc == 0;
}

void _zorcontrolUdbDefaultDelGraph(zorucoreData *pcore, const ochar *pcharDefault, uint16_t usTargetCCSID)
{
  if (pcore == nullptr || pcharDefault == nullptr) return;
  std::string strValue;
  if (!_udbGraphic(pcharDefault, usTargetCCSID, &strValue)) return _udbNoDefault(pcore);
  _udbSetDefault(pcore, pcore->cDelim + strValue + pcore->cDelim);
}

void _zorcontrolUdbDefaultIxfGraph(zorucoreData *pcore, const ochar *pcharDefault, uint16_t usSourceCCSID)
{
  if (pcore == nullptr || pcharDefault == nullptr) return;
  std::string strValue;
  if (!_udbGraphic(pcharDefault, usSourceCCSID, &strValue)) return _udbNoDefault(pcore);
  _udbSetDefault(pcore, strValue);
}

void _zorcontrolUdbDefaultDelVargraph(zorucoreData *pcore, const ochar *pcharDefault, uint16_t)
{
  if (pcore == nullptr || pcharDefault == nullptr) return;
  _udbSetDefault(pcore, std::string(2, pcore->cDelim));
}

void _zorcontrolUdbDefaultIxfVargraph(zorucoreData *pcore, const ochar *pcharDefault, uint16_t usSourceCCSID)
{
  if (pcore == nullptr || pcharDefault == nullptr) return;
  std::string strValue;
  if (!_udbGraphic(pcharDefault, usSourceCCSID, &strValue)) return _udbNoDefault(pcore);
  _udbSetDefault(pcore, _udbPrefixed(strValue, strValue.size() / 2, 2));
}

void _zorcontrolUdbDefaultIxfDbclob(zorucoreData *pcore, const ochar *pcharDefault, uint16_t usSourceCCSID)
{
  if (pcore == nullptr || pcharDefault == nullptr) return;
  std::string strValue;
  if (!_udbGraphic(pcharDefault, usSourceCCSID, &strValue)) return _udbNoDefault(pcore);
  _udbSetDefault(pcore, _udbPrefixed(strValue, strValue.size() / 2, 4));
}
