/*
** zornodecnv.cpp
**   Constant rewriting and code-page resolution for the expression check:
**   date/time literals parsed into DB2's packed form, numeric constants
**   retyped, and the walk that gives each node of a checked tree its CCSID
**   and pad character and converts operands to the dominant code page (see
**   zornodecnv.h for the rules).  Called by the check in the main process;
**   the work string used for constant conversions is kept for the process.
*/
#include "expr/zornodecnv.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/ochar.h"
#include "common/ocnvft.h"
#include "common/omsgs.h"
#include "common/oname.h"
#include "model/zormsgs.h"
#include "expr/odecimal.h"
#include "expr/zorcol.h"
#include "expr/zornode.h"

/* ---------------------------------------------------------------- helpers */

static uint16_t _cnvGetU16(const void *p)
{
  uint16_t us;
  std::memcpy(&us, p, sizeof us);
  return us;
}

static void _cnvPutU16(void *p, uint16_t us)
{
  std::memcpy(p, &us, sizeof us);
}

static unsigned char _cnvBcd(int iValue)
{
  return static_cast<unsigned char>((iValue / 10) * 16 + iValue % 10);
}

/* CCSIDs that stand for no code page. */
static bool _cnvIsSpecial(uint16_t usCCSID)
{
  return usCCSID == 0 || usCCSID == 0xFFFF || usCCSID == 0xFFFE;
}

static uint16_t _cnvCCSID(const zornode *pnode)
{
  return static_cast<uint16_t>(pnode->sCCSID);
}

static void _cnvSetCCSID(zornode *pnode, uint16_t usCCSID)
{
  pnode->sCCSID = static_cast<int16_t>(usCCSID);
}

/* True for a character or graphic constant (its buffer is [u16 n][bytes]). */
static bool _cnvIsTextConstant(const zornode *pnode)
{
  return pnode != nullptr && pnode->sKind == ZORNODE_CSTE && pnode->pLeft != nullptr &&
         !(pnode->usStatus & NODE_LEFT_NOT) &&
         (pnode->usCtrlType == NODE_T_CHN || pnode->usCtrlType == NODE_T_GRA);
}

/* The locale triple of the global conversion context (its defaults when none was made). */
static ocnvftTriple _cnvLocale(void)
{
  if (gpcnvft != nullptr) return gpcnvft->tripleLocale;
  return ocnvftTriple{850, 1200, 0};
}

/* The blank of a CCSID as a pad character; 32 when it cannot be converted. */
static uint16_t _cnvBlank(uint16_t usCCSID)
{
  int iCode = 0;
  uint16_t usBlank = ocharConvertChar(' ', usCCSID, &iCode);
  return iCode != 0 ? static_cast<uint16_t>(32) : usBlank;
}

/* The process's work string, set empty for a new target CCSID; NULL when it cannot be made. */
static ochar *_cnvWork(uint16_t usCCSID)
{
  static ochar gcharWork;
  static bool gboWork = false;
  if (!gboWork) {
    if (ocharInit(&gcharWork, 255, usCCSID) != 0) return nullptr;
    gboWork = true;
  }
  gcharWork.usFlags &= static_cast<uint16_t>(~(OCHAR_CLASS | OCHAR_VARCHAR | OCHAR_REAL | OCHAR_850));
  gcharWork.usFlags |= static_cast<uint16_t>(ocharDetermineBCS(usCCSID));
  gcharWork.usCCSID = usCCSID;
  gcharWork.ilBU = 0;
  gcharWork.ilL = 0;
  return &gcharWork;
}

/*
** Converts ilLength bytes of CCSID usSource into the work string of CCSID
** usTarget.  Returns the conversion's code; *ppwork is the work string
** (NULL only when it could not be made, with ORC_NOMEM).
*/
static int _cnvBytes(const void *pBytes, int32_t ilLength, uint16_t usSource, uint16_t usTarget, ochar **ppwork)
{
  ochar *pwork = _cnvWork(usTarget);
  *ppwork = pwork;
  if (pwork == nullptr) return ORC_NOMEM;
  ochar charSource;
  std::memset(&charSource, 0, sizeof charSource);
  charSource.pcData = static_cast<char *>(const_cast<void *>(pBytes));
  charSource.ilBU = charSource.ilBT = ilLength;
  charSource.usCCSID = usSource;
  charSource.usFlags = static_cast<uint16_t>(ocharDetermineBCS(usSource));
  charSource.ilL = (charSource.usFlags & OCHAR_DBCS) ? ilLength / 2 : ilLength;
  /* EBCDIC 37 and 850 are translated by ochar's own tables */
  if ((usSource == OCHAR_CCSID_EBCDIC && usTarget == OCHAR_CCSID_ASCII) ||
      (usSource == OCHAR_CCSID_ASCII && usTarget == OCHAR_CCSID_EBCDIC))
    return ocharTranslate(&charSource, pwork);
  return ocnvftConvert(nullptr, &charSource, pwork);
}

/* -------------------------------------------------- date/time literals */

/* Reader over the text of a character constant. */
struct _cnvScan {
  const unsigned char *puc;
  int iLength;
  int i;
};

static bool _scanDigit(const _cnvScan &s)
{
  return s.i < s.iLength && s.puc[s.i] >= '0' && s.puc[s.i] <= '9';
}

/* Reads iMin to iMax digits; -1 when fewer than iMin are there. */
static int _scanNumber(_cnvScan &s, int iMin, int iMax)
{
  int iValue = 0, n = 0;
  while (n < iMax && _scanDigit(s)) {
    iValue = iValue * 10 + (s.puc[s.i] - '0');
    s.i++;
    n++;
  }
  return n >= iMin ? iValue : -1;
}

static bool _scanChar(_cnvScan &s, char c)
{
  if (s.i < s.iLength && s.puc[s.i] == static_cast<unsigned char>(c)) {
    s.i++;
    return true;
  }
  return false;
}

/* True when nothing but blanks is left. */
static bool _scanBlanksToEnd(const _cnvScan &s)
{
  for (int j = s.i; j < s.iLength; j++)
    if (s.puc[j] != ' ') return false;
  return true;
}

/* A real calendar date within 0001-01-01..9999-12-31. */
static bool _cnvValidDate(int iYear, int iMonth, int iDay)
{
  static const int aiLast[13] = {0, 31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (iYear < 1 || iYear > 9999 || iMonth < 1 || iMonth > 12 || iDay < 1) return false;
  int iLast = aiLast[iMonth];
  if (iMonth == 2 && !(iYear % 4 == 0 && (iYear % 100 != 0 || iYear % 400 == 0))) iLast = 28;
  return iDay <= iLast;
}

/* A time of day; 24 o'clock only as 24.00.00 with no fraction. */
static bool _cnvValidTime(int iHour, int iMinute, int iSecond, int iMicro)
{
  if (iHour < 0 || iHour > 24 || iMinute < 0 || iMinute > 59 || iSecond < 0 || iSecond > 59) return false;
  return iHour < 24 || (iMinute == 0 && iSecond == 0 && iMicro == 0);
}

static void _cnvPackDate(unsigned char *puc, int iYear, int iMonth, int iDay)
{
  puc[0] = _cnvBcd(iYear / 100);
  puc[1] = _cnvBcd(iYear % 100);
  puc[2] = _cnvBcd(iMonth);
  puc[3] = _cnvBcd(iDay);
}

static void _cnvPackTime(unsigned char *puc, int iHour, int iMinute, int iSecond)
{
  puc[0] = _cnvBcd(iHour);
  puc[1] = _cnvBcd(iMinute);
  puc[2] = _cnvBcd(iSecond);
}

/* yyyy-m[m]-d[d]-h[h].mm.ss[.f{0,6}] then blanks, into 10 packed bytes. */
static bool _cnvParseTimestamp(const unsigned char *puc, int iLength, unsigned char *pucOut)
{
  if (iLength < 16) return false;
  _cnvScan s{puc, iLength, 0};
  int iYear = _scanNumber(s, 4, 4);
  if (iYear < 0 || !_scanChar(s, '-')) return false;
  int iMonth = _scanNumber(s, 1, 2);
  if (iMonth < 0 || !_scanChar(s, '-')) return false;
  int iDay = _scanNumber(s, 1, 2);
  if (iDay < 0 || !_scanChar(s, '-')) return false;
  int iHour = _scanNumber(s, 1, 2);
  if (iHour < 0 || !_scanChar(s, '.')) return false;
  int iMinute = _scanNumber(s, 2, 2);
  if (iMinute < 0 || !_scanChar(s, '.')) return false;
  int iSecond = _scanNumber(s, 2, 2);
  if (iSecond < 0) return false;
  int iMicro = 0;
  if (_scanChar(s, '.')) {
    int n = 0;
    while (n < 6 && _scanDigit(s)) {
      iMicro = iMicro * 10 + (s.puc[s.i++] - '0');
      n++;
    }
    if (_scanDigit(s)) return false;   /* a seventh digit */
    for (; n < 6; n++) iMicro *= 10;
  }
  if (!_scanBlanksToEnd(s)) return false;
  if (!_cnvValidDate(iYear, iMonth, iDay) || !_cnvValidTime(iHour, iMinute, iSecond, iMicro)) return false;
  _cnvPackDate(pucOut, iYear, iMonth, iDay);
  _cnvPackTime(pucOut + 4, iHour, iMinute, iSecond);
  pucOut[7] = _cnvBcd(iMicro / 10000);
  pucOut[8] = _cnvBcd(iMicro / 100 % 100);
  pucOut[9] = _cnvBcd(iMicro % 100);
  return true;
}

/* ISO yyyy-m[m]-d[d], USA m[m]/d[d]/yyyy or EUR d[d].m[m].yyyy, then blanks. */
static bool _cnvParseDate(const unsigned char *puc, int iLength, unsigned char *pucOut)
{
  int iYear = -1, iMonth = -1, iDay = -1;
  _cnvScan s{puc, iLength, 0};
  if (iLength >= 5 && puc[4] == '-') {
    iYear = _scanNumber(s, 4, 4);
    if (iYear < 0 || !_scanChar(s, '-')) return false;
    iMonth = _scanNumber(s, 1, 2);
    if (iMonth < 0 || !_scanChar(s, '-')) return false;
    iDay = _scanNumber(s, 1, 2);
  } else {
    int iFirst = _scanNumber(s, 1, 2);
    if (iFirst < 0) return false;
    char cSeparator;
    if (_scanChar(s, '/')) cSeparator = '/';
    else if (_scanChar(s, '.')) cSeparator = '.';
    else return false;
    int iSecond = _scanNumber(s, 1, 2);
    if (iSecond < 0 || !_scanChar(s, cSeparator)) return false;
    iYear = _scanNumber(s, 4, 4);
    if (cSeparator == '/') {
      iMonth = iFirst;
      iDay = iSecond;
    } else {
      iDay = iFirst;
      iMonth = iSecond;
    }
  }
  if (iYear < 0 || iDay < 0 || !_scanBlanksToEnd(s)) return false;
  if (!_cnvValidDate(iYear, iMonth, iDay)) return false;
  _cnvPackDate(pucOut, iYear, iMonth, iDay);
  return true;
}

/* h[h]:m[m][:s[s]] with ":" or "." separators; only blanks after the seconds. */
static bool _cnvParseTime(const unsigned char *puc, int iLength, unsigned char *pucOut)
{
  _cnvScan s{puc, iLength, 0};
  int iHour = _scanNumber(s, 1, 2);
  if (iHour < 0 || !(_scanChar(s, ':') || _scanChar(s, '.'))) return false;
  int iMinute = _scanNumber(s, 1, 2);
  if (iMinute < 0) return false;
  int iSecond = 0;
  if (s.i < s.iLength) {
    /* anything after the minutes must begin the seconds */
    if (!(_scanChar(s, ':') || _scanChar(s, '.'))) return false;
    iSecond = _scanNumber(s, 1, 2);
    if (iSecond < 0 || !_scanBlanksToEnd(s)) return false;
  }
  if (!_cnvValidTime(iHour, iMinute, iSecond, 0)) return false;
  _cnvPackTime(pucOut, iHour, iMinute, iSecond);
  return true;
}

/* Rewrites a character constant as a date/time constant of n packed bytes. */
static void _cnvSetDateTime(zornode *pnode, int iCode, uint16_t usCtrlType, const unsigned char *pucPacked, uint16_t usLength)
{
  /* the text was at least as long as the packed form, so it fits in place */
  unsigned char *puc = static_cast<unsigned char *>(pnode->pLeft);
  _cnvPutU16(puc, usLength);
  std::memcpy(puc + 2, pucPacked, usLength);
  pnode->sCode = static_cast<int16_t>(iCode);
  pnode->usCtrlType = usCtrlType;
  pnode->usLength = usLength;
  pnode->sCCSID = 0;
  pnode->usStatus &= static_cast<uint16_t>(~(NODE_SBCS | NODE_DBCS | NODE_VBCS | NODE_FBD));
}

int _zornodeConvertToDate(zornode *pnode, int iWanted)
{
  static const int aiAll[] = {NODE_CTTST, NODE_CTDTE, NODE_CTTME};
  const int *piForms;
  int iForms;
  switch (iWanted) {
    case 0: piForms = aiAll; iForms = 3; break;
    case NODE_CTTST: piForms = aiAll; iForms = 1; break;
    case NODE_CTDTE: piForms = aiAll + 1; iForms = 1; break;
    case NODE_CTTME: piForms = aiAll + 2; iForms = 1; break;
    default: return ZORNODE_RC_NOFORM;
  }
  bool boText = _cnvIsTextConstant(pnode) && pnode->usCtrlType == NODE_T_CHN;
  const unsigned char *puc = boText ? static_cast<const unsigned char *>(pnode->pLeft) : nullptr;
  int iLength = boText ? _cnvGetU16(puc) : 0;
  int rc = 0;
  for (int k = 0; k < iForms; k++) {
    unsigned char aucPacked[10];
    switch (piForms[k]) {
      case NODE_CTTST:
        if (boText && _cnvParseTimestamp(puc + 2, iLength, aucPacked)) {
          _cnvSetDateTime(pnode, NODE_CTTST, NODE_T_TST, aucPacked, 10);
          return 0;
        }
        rc = ZORNODE_RC_NOTTST;
        break;
      case NODE_CTDTE:
        if (boText && _cnvParseDate(puc + 2, iLength, aucPacked)) {
          _cnvSetDateTime(pnode, NODE_CTDTE, NODE_T_DTE, aucPacked, 4);
          return 0;
        }
        rc = ZORNODE_RC_NOTDATE;
        break;
      default:
        if (boText && _cnvParseTime(puc + 2, iLength, aucPacked)) {
          _cnvSetDateTime(pnode, NODE_CTTME, NODE_T_TME, aucPacked, 3);
          return 0;
        }
        rc = ZORNODE_RC_NOTTIME;
        break;
    }
  }
  return rc;
}

/* ------------------------------------------------- numeric constants */

/*
** Builds a DECIMAL constant buffer from a digit string (most significant
** first, no sign) of which the last iScale digits are the fraction.
** Returns false when the precision would exceed 31.
*/
static bool _cnvPackDecimal(unsigned char *puc, bool boNegative, const std::string &strDigits, int iScale)
{
  std::string str = strDigits;
  size_t ulFirst = str.find_first_not_of('0');
  /* keep the fraction digits and at least one digit */
  size_t ulKeep = static_cast<size_t>(iScale > 0 ? iScale : 1);
  if (ulFirst == std::string::npos) ulFirst = str.size();
  if (str.size() - ulFirst < ulKeep) ulFirst = str.size() > ulKeep ? str.size() - ulKeep : 0;
  str.erase(0, ulFirst);
  while (str.size() < ulKeep) str.insert(str.begin(), '0');
  if (str.size() > 31 || iScale > 31) return false;
  bool boZero = str.find_first_not_of('0') == std::string::npos;
  std::memset(puc, 0, ZORNODE_DECIMAL_SIZE);
  puc[0] = static_cast<unsigned char>(str.size());
  puc[1] = static_cast<unsigned char>(iScale);
  /* the sign nibble is the low nibble of the last byte; digits run leftwards from its high nibble */
  puc[17] = (boNegative && !boZero) ? 0x0D : 0x0C;
  int iNibble = 1;   /* 1: high nibble of the current byte, 0: low nibble */
  int iByte = 17;
  for (size_t j = str.size(); j-- > 0;) {
    unsigned char d = static_cast<unsigned char>(str[j] - '0');
    if (iNibble == 1) {
      puc[iByte] = static_cast<unsigned char>(puc[iByte] | (d << 4));
      iNibble = 0;
      iByte--;
    } else {
      puc[iByte] = static_cast<unsigned char>(puc[iByte] | d);
      iNibble = 1;
    }
  }
  return true;
}

/* The digits and scale of a double's shortest exact decimal text; false when it has none within 31 digits. */
static bool _cnvDoubleDigits(double d, bool *pboNegative, std::string *pstrDigits, int *piScale)
{
  if (!std::isfinite(d)) return false;
  char ac[64];
  auto res = std::to_chars(ac, ac + sizeof ac, d, std::chars_format::scientific);
  if (res.ec != std::errc()) return false;
  std::string strText(ac, res.ptr);
  *pboNegative = !strText.empty() && strText[0] == '-';
  if (*pboNegative) strText.erase(0, 1);
  size_t ulE = strText.find('e');
  if (ulE == std::string::npos) return false;
  int iExponent = std::atoi(strText.c_str() + ulE + 1);
  std::string strMantissa;
  for (size_t j = 0; j < ulE; j++)
    if (strText[j] != '.') strMantissa.push_back(strText[j]);
  int k = static_cast<int>(strMantissa.size());
  int iIntDigits = iExponent + 1;   /* digits before the point */
  if (iIntDigits > 31 || iIntDigits < -31) return false;
  if (iIntDigits >= k) {
    *pstrDigits = strMantissa + std::string(static_cast<size_t>(iIntDigits - k), '0');
    *piScale = 0;
  } else if (iIntDigits > 0) {
    *pstrDigits = strMantissa;
    *piScale = k - iIntDigits;
  } else {
    *pstrDigits = std::string(static_cast<size_t>(-iIntDigits), '0') + strMantissa;
    *piScale = k - iIntDigits;
  }
  return *piScale <= 31;
}

/* Replaces a constant's buffer and type. */
static void _cnvRetype(zornode *pnode, void *pBuffer, int iCode, uint16_t usCtrlType, uint16_t usLength)
{
  std::free(pnode->pLeft);
  pnode->pLeft = pBuffer;
  pnode->sCode = static_cast<int16_t>(iCode);
  pnode->usCtrlType = usCtrlType;
  pnode->usLength = usLength;
}

int _zornodeConvertToDec(zornode *pnode)
{
  if (pnode == nullptr || pnode->sKind != ZORNODE_CSTE || pnode->pLeft == nullptr || (pnode->usStatus & NODE_LEFT_NOT))
    return 0;
  bool boNegative = false;
  std::string strDigits;
  int iScale = 0;
  switch (pnode->usCtrlType) {
    case NODE_T_INT:
    case NODE_T_SMI: {
      int64_t ll;
      if (pnode->usCtrlType == NODE_T_INT) {
        int32_t i;
        std::memcpy(&i, pnode->pLeft, 4);
        ll = i;
      } else {
        int16_t s;
        std::memcpy(&s, pnode->pLeft, 2);
        ll = s;
      }
      boNegative = ll < 0;
      strDigits = std::to_string(ll < 0 ? -ll : ll);
      break;
    }
    case NODE_T_FLT: {
      double d;
      std::memcpy(&d, pnode->pLeft, 8);
      if (!_cnvDoubleDigits(d, &boNegative, &strDigits, &iScale)) return ZORNODE_RC_RANGE;
      break;
    }
    default:
      return 0;
  }
  unsigned char *puc = static_cast<unsigned char *>(std::malloc(ZORNODE_DECIMAL_SIZE));
  if (puc == nullptr) return ORC_NOMEM;
  if (!_cnvPackDecimal(puc, boNegative, strDigits, iScale)) {
    std::free(puc);
    return ZORNODE_RC_RANGE;
  }
  _cnvRetype(pnode, puc, NODE_CTDEC, NODE_T_DEC, static_cast<uint16_t>(puc[0] << 8 | puc[1]));
  return 0;
}

int _zornodeConvertToInt(zornode *pnode)
{
  if (pnode == nullptr || pnode->sKind != ZORNODE_CSTE || pnode->pLeft == nullptr || (pnode->usStatus & NODE_LEFT_NOT))
    return 0;
  int32_t iValue;
  if (pnode->usCtrlType == NODE_T_FLT) {
    double d;
    std::memcpy(&d, pnode->pLeft, 8);
    if (!(d >= -2147483648.0 && d <= 2147483647.0)) return ZORNODE_RC_RANGE;   /* NaN fails too */
    iValue = static_cast<int32_t>(d);
  } else if (pnode->usCtrlType == NODE_T_DEC) {
    const unsigned char *puc = static_cast<const unsigned char *>(pnode->pLeft);
    int iPrec = puc[0], iScale = puc[1];
    if (iPrec < 1 || iPrec > 31 || iScale > iPrec) return ZORNODE_RC_RANGE;
    odecimal dec;
    if (_decInitFromInternal(&dec, puc + 17 - iPrec / 2, iPrec, iScale) != 0) return ZORNODE_RC_RANGE;
    if (_dec2int(&dec, &iValue) != 0) return ZORNODE_RC_RANGE;
  } else {
    return 0;
  }
  void *pBuffer = std::malloc(4);
  if (pBuffer == nullptr) return ORC_NOMEM;
  std::memcpy(pBuffer, &iValue, 4);
  _cnvRetype(pnode, pBuffer, NODE_CTINT, NODE_T_INT, 4);
  return 0;
}

/* ---------------------------------------------------------- dominance */

int _zornodeFindDominant(const zornode *pnodeFirst, const zornode *pnodeSecond)
{
  if (pnodeFirst == nullptr || pnodeSecond == nullptr) return ZORNODE_DOM_NONE;
  uint16_t usFirst = _cnvCCSID(pnodeFirst), usSecond = _cnvCCSID(pnodeSecond);
  if (usFirst == usSecond || usFirst == 0xFFFF || usSecond == 0xFFFF) return ZORNODE_DOM_NONE;
  if (usSecond == 1200) return ZORNODE_DOM_SECOND;
  if (usFirst == 1200 || usFirst == 1208) return ZORNODE_DOM_FIRST;
  if (usSecond == 1208) return ZORNODE_DOM_SECOND;
  if (pnodeFirst->sKind == ZORNODE_VAR) return ZORNODE_DOM_FIRST;
  if (pnodeSecond->sKind == ZORNODE_VAR) return ZORNODE_DOM_SECOND;
  if (pnodeFirst->sKind == ZORNODE_CSTE) return ZORNODE_DOM_FIRST;
  if (pnodeSecond->sKind == ZORNODE_CSTE) return ZORNODE_DOM_SECOND;
  return ZORNODE_DOM_FIRST;
}

/* --------------------------------------------------------- conversion */

/*
** Converts one character or graphic constant in place.  The buffer keeps
** DB2's constant layout: [u16 bytes][bytes] for CHAR, [u16 characters]
** [bytes] for GRAPHIC; a double-byte result makes a GRAPHIC constant, any
** other a CHAR constant.
*/
static int _cnvConstant(zornode *pnode, uint16_t usTarget)
{
  if (_cnvCCSID(pnode) == usTarget) return 0;
  unsigned char *puc = static_cast<unsigned char *>(pnode->pLeft);
  bool boGraphic = pnode->usCtrlType == NODE_T_GRA;
  int32_t ilBytes = _cnvGetU16(puc) * (boGraphic ? 2 : 1);
  ochar *pwork = nullptr;
  int rc = _cnvBytes(puc + 2, ilBytes, _cnvCCSID(pnode), usTarget, &pwork);
  if (pwork == nullptr) return rc;
  if (rc != 0) omsgsFMTEDO(ZORU005E);
  bool boToGraphic = (ocharDetermineBCS(usTarget) & OCHAR_DBCS) != 0;
  int32_t ilNew = pwork->ilBU;
  int32_t ilPrefix = boToGraphic ? ilNew / 2 : ilNew;
  if (ilPrefix > 0xFFFF) return ORC_INVALID;   /* no longer a constant DB2 could hold */
  if (ilNew > ilBytes) {
    unsigned char *pucNew = static_cast<unsigned char *>(std::realloc(puc, 2 + static_cast<size_t>(ilNew)));
    if (pucNew == nullptr) return ORC_NOMEM;
    puc = pucNew;
    pnode->pLeft = puc;
  }
  if (ilNew > 0) std::memcpy(puc + 2, _charText(pwork), static_cast<size_t>(ilNew));
  _cnvPutU16(puc, static_cast<uint16_t>(ilPrefix));
  _cnvSetCCSID(pnode, usTarget);
  pnode->usLength = static_cast<uint16_t>(ilPrefix);
  pnode->usStatus = static_cast<uint16_t>((pnode->usStatus & ~(NODE_SBCS | NODE_DBCS | NODE_VBCS)) |
                                          (ocharDetermineBCS(usTarget) & (NODE_SBCS | NODE_DBCS | NODE_VBCS)));
  if (boToGraphic) {
    pnode->sCode = NODE_CTGRA;
    pnode->usCtrlType = NODE_T_GRA;
  } else {
    pnode->sCode = NODE_CTCHR;
    pnode->usCtrlType = NODE_T_CHN;
  }
  return rc;
}

int _zornodeConvert(zornode *pnodeParent, int iSlot, int iTarget)
{
  if (pnodeParent == nullptr) return ORC_INVALID;
  uint16_t usTarget = static_cast<uint16_t>(iTarget);
  void **ppSlot;
  if (iSlot == ZORNODE_SLOT_LEFT && !(pnodeParent->usStatus & NODE_LEFT_NOT)) ppSlot = &pnodeParent->pLeft;
  else if (iSlot == ZORNODE_SLOT_RIGHT && !(pnodeParent->usStatus & NODE_RIGHT_NOT)) ppSlot = &pnodeParent->pRight;
  else return ORC_INVALID;
  zornode *pnode = static_cast<zornode *>(*ppSlot);
  if (pnode == nullptr) return 0;
  pnode->usPadChar = pnodeParent->usPadChar;

  if (pnode->sKind == ZORNODE_CSTE) {
    /* the constant and the constants of an IN list chained after it */
    int rc = 0;
    for (zornode *p = pnode; p != nullptr && p->sKind == ZORNODE_CSTE;
         p = (p->usStatus & NODE_RIGHT_NOT) ? nullptr : static_cast<zornode *>(p->pRight)) {
      p->usPadChar = pnodeParent->usPadChar;
      if (!_cnvIsTextConstant(p)) continue;
      int rcOne = _cnvConstant(p, usTarget);
      if (rc == 0) rc = rcOne;
    }
    return rc;
  }

  if (pnode->sKind == ZORNODE_OPRT && pnode->sCode == NODE_CONVERSION_OP) {
    zornode *pnodeInner = static_cast<zornode *>(pnode->pLeft);
    if (_cnvCCSID(pnode) == usTarget) return 0;
    if (pnodeInner != nullptr && _cnvCCSID(pnodeInner) == usTarget) {
      *ppSlot = pnodeInner;
      pnodeInner->usPadChar = pnodeParent->usPadChar;
      pnode->pLeft = nullptr;
      zornodeDestroy(pnode);
      return 0;
    }
    ocnvftEntry *pentry = nullptr;
    int rc = ocnvftGetConverter(&pentry, nullptr, pnodeInner != nullptr ? _cnvCCSID(pnodeInner) : 0, usTarget);
    if (rc != 0) return rc;
    zornodeSetRightValue(pnode, reinterpret_cast<uintptr_t>(pentry));
    _cnvSetCCSID(pnode, usTarget);
    return 0;
  }

  if (pnode->sKind == ZORNODE_OPRT && pnode->sCode == NODE_CONCAT_OP) {
    int rc = _zornodeConvert(pnode, ZORNODE_SLOT_LEFT, iTarget);
    int rcRight = _zornodeConvert(pnode, ZORNODE_SLOT_RIGHT, iTarget);
    if (rc == 0) rc = rcRight;
    if (rc == 0) _cnvSetCCSID(pnode, usTarget);
    return rc;
  }

  if (_cnvCCSID(pnode) == usTarget) return 0;
  ocnvftEntry *pentry = nullptr;
  int rc = ocnvftGetConverter(&pentry, nullptr, _cnvCCSID(pnode), usTarget);
  if (rc != 0) return rc;
  if (pentry == nullptr) return 0;   /* no code page on one side: nothing to convert */
  zornode *pnodeConv = zornodeCreate(ZORNODE_OPRT, NODE_CONVERSION_OP, pnode, pentry, NODE_RIGHT_NOT, nullptr, nullptr);
  if (pnodeConv == nullptr) return ORC_NOMEM;
  _cnvSetCCSID(pnodeConv, usTarget);
  pnodeConv->usPadChar = pnodeParent->usPadChar;
  pnodeConv->sStartColumn = pnode->sStartColumn;
  pnodeConv->sStartLine = pnode->sStartLine;
  pnodeConv->sEndColumn = pnode->sEndColumn;
  pnodeConv->sEndLine = pnode->sEndLine;
  *ppSlot = pnodeConv;
  return 0;
}

/* ---------------------------------------------------------- LIKE pattern */

int _zornodeModifyLikeString(zornode *pnodePattern, int iCCSID)
{
  if (!_cnvIsTextConstant(pnodePattern)) return ORC_INVALID;
  uint16_t usTarget = static_cast<uint16_t>(iCCSID), usSource = _cnvCCSID(pnodePattern);
  if (usSource == usTarget || usSource == 0xFFFF) return 0;
  const unsigned char *puc = static_cast<const unsigned char *>(pnodePattern->pLeft);
  size_t ulTotal = _cnvGetU16(puc);
  std::string strNew;
  size_t ul = 0;
  while (ul < ulTotal) {
    if (ulTotal - ul < 2) return ORC_INVALID;
    int16_t sCount;
    std::memcpy(&sCount, puc + 2 + ul, 2);
    ul += 2;
    if (sCount <= 0) {
      strNew.append(reinterpret_cast<const char *>(&sCount), 2);
      continue;
    }
    if (ulTotal - ul < static_cast<size_t>(sCount)) return ORC_INVALID;
    ochar *pwork = nullptr;
    int rc = _cnvBytes(puc + 2 + ul, sCount, usSource, usTarget, &pwork);
    if (pwork == nullptr) return rc;
    /* a piece that cannot be converted leaves the whole pattern as it was */
    if (oreasonIsError(rc)) return rc;
    if (pwork->ilBU > 0x7FFF) return ORC_INVALID;
    int16_t sNew = static_cast<int16_t>(pwork->ilBU);
    if (sNew > 0) {
      strNew.append(reinterpret_cast<const char *>(&sNew), 2);
      strNew.append(_charText(pwork), static_cast<size_t>(sNew));
    }
    ul += static_cast<size_t>(sCount);
  }
  if (strNew.size() > 0xFFFF) return ORC_INVALID;
  unsigned char *pucNew = static_cast<unsigned char *>(std::malloc(2 + strNew.size()));
  if (pucNew == nullptr) return ORC_NOMEM;
  _cnvPutU16(pucNew, static_cast<uint16_t>(strNew.size()));
  if (!strNew.empty()) std::memcpy(pucNew + 2, strNew.data(), strNew.size());
  std::free(pnodePattern->pLeft);
  pnodePattern->pLeft = pucNew;
  /* the pattern now holds text of the target code page */
  _cnvSetCCSID(pnodePattern, usTarget);
  pnodePattern->usLength = static_cast<uint16_t>(strNew.size());
  return 0;
}

/* ----------------------------------------------------- STRIP character */

int _zornodeConvertStripLit(zornode *pnodeStrip)
{
  if (pnodeStrip == nullptr || !(pnodeStrip->usStatus & NODE_RIGHT_NOT) || (pnodeStrip->usStatus & NODE_LEFT_NOT) ||
      pnodeStrip->pLeft == nullptr)
    return ORC_INVALID;
  const zornode *pnodeString = static_cast<const zornode *>(pnodeStrip->pLeft);
  uint16_t usTarget = _cnvCCSID(pnodeString);
  uintptr_t ulValue = zornodeRightValue(pnodeStrip);
  unsigned char aucChar[2] = {static_cast<unsigned char>(ulValue >> 8), static_cast<unsigned char>(ulValue >> 16)};
  unsigned ucClass = static_cast<unsigned>(ulValue >> 24) & 0xFF;
  uint16_t usSource = 0;
  int32_t ilLength = 1;
  int rcResult = 0;
  ocnvftTriple triple = _cnvLocale();
  if (ucClass & 0x80) {
    /* no character given: the blank, taken from a code page that has one */
    int iClass = ocharDetermineBCS(usTarget);
    if (iClass & (OCHAR_SBCS | OCHAR_MIXED | OCHAR_DBCS)) {
      aucChar[0] = ' ';
      aucChar[1] = 0;
      usSource = 850;
    } else {
      aucChar[0] = aucChar[1] = ' ';
    }
  } else {
    switch (ucClass & 0x1f) {
      case 1: usSource = triple.usSBCS; break;
      case 2: usSource = triple.usDBCS; ilLength = 2; break;
      case 4: usSource = triple.usMixed; break;
      case 8: break;
      case 16: usSource = 1200; ilLength = 2; break;
      default: rcResult = 8; break;
    }
  }
  unsigned ucNewClass = (usSource == 0) ? 1 : 0;
  int rc = 0;
  if (rcResult == 0 && usSource != 0 && !_cnvIsSpecial(usTarget) && usSource != usTarget) {
    ochar *pwork = nullptr;
    rc = _cnvBytes(aucChar, ilLength, usSource, usTarget, &pwork);
    if (pwork == nullptr) return rc;
    if (oreasonIsError(rc) || pwork->ilBU < 1 || pwork->ilBU > 2) {
      omsgsFMTEDO(ZORU008E);
      if (rc == 0) rc = ORC_INVALID;
    } else {
      const unsigned char *pucOut = reinterpret_cast<const unsigned char *>(_charText(pwork));
      aucChar[0] = pucOut[0];
      aucChar[1] = pwork->ilBU > 1 ? pucOut[1] : 0;
    }
  }
  ulValue = (ulValue & ~static_cast<uintptr_t>(0xFFFFFF00u)) | (static_cast<uintptr_t>(aucChar[0]) << 8) |
            (static_cast<uintptr_t>(aucChar[1]) << 16) | (static_cast<uintptr_t>(ucNewClass) << 24);
  zornodeSetRightValue(pnodeStrip, ulValue);
  return rcResult != 0 ? rcResult : rc;
}

/* ------------------------------------------------------------ resolution */

static void _cnvResolveRight(zornode *pnode)
{
  if (!(pnode->usStatus & NODE_RIGHT_NOT)) _zornodeResolveConversion(static_cast<zornode *>(pnode->pRight));
}

static void _cnvResolveLeft(zornode *pnode)
{
  if (!(pnode->usStatus & NODE_LEFT_NOT)) _zornodeResolveConversion(static_cast<zornode *>(pnode->pLeft));
}

static zornode *_cnvLeft(const zornode *pnode)
{
  return (pnode->usStatus & NODE_LEFT_NOT) ? nullptr : static_cast<zornode *>(pnode->pLeft);
}

static zornode *_cnvRight(const zornode *pnode)
{
  return (pnode->usStatus & NODE_RIGHT_NOT) ? nullptr : static_cast<zornode *>(pnode->pRight);
}

/* The operand that dominates inside a concatenation, searched depth first. */
static zornode *_cnvConcatCandidate(zornode *pnode)
{
  if (pnode == nullptr || pnode->sKind != ZORNODE_OPRT || pnode->sCode != NODE_CONCAT_OP) return pnode;
  zornode *pnodeLeft = _cnvConcatCandidate(_cnvLeft(pnode));
  zornode *pnodeRight = _cnvConcatCandidate(_cnvRight(pnode));
  if (pnodeLeft == nullptr) return pnodeRight;
  if (pnodeRight == nullptr) return pnodeLeft;
  return _zornodeFindDominant(pnodeLeft, pnodeRight) == ZORNODE_DOM_SECOND ? pnodeRight : pnodeLeft;
}

/*
** Both operands resolved; the dominant one gives its code page (and pad) to
** the other.  Returns which one dominated.
*/
static int _cnvResolvePair(zornode *pnode)
{
  _cnvResolveRight(pnode);
  _cnvResolveLeft(pnode);
  zornode *pnodeLeft = _cnvLeft(pnode), *pnodeRight = _cnvRight(pnode);
  if (pnodeLeft == nullptr) return ZORNODE_DOM_NONE;
  int iDominant = pnodeRight != nullptr ? _zornodeFindDominant(pnodeLeft, pnodeRight) : ZORNODE_DOM_NONE;
  if (iDominant == ZORNODE_DOM_SECOND) {
    pnode->usPadChar = pnodeRight->usPadChar;
    _zornodeConvert(pnode, ZORNODE_SLOT_LEFT, _cnvCCSID(pnodeRight));
  } else {
    pnode->usPadChar = pnodeLeft->usPadChar;
    if (iDominant == ZORNODE_DOM_FIRST) _zornodeConvert(pnode, ZORNODE_SLOT_RIGHT, _cnvCCSID(pnodeLeft));
  }
  return iDominant;
}

static int _cnvResolveValue(zornode *pnode)
{
  _cnvResolveLeft(pnode);
  zornode *pnodeFirst = _cnvLeft(pnode);
  if (pnodeFirst == nullptr) return 0;
  uint16_t usCandidate = _cnvCCSID(pnodeFirst);
  pnode->usPadChar = pnodeFirst->usPadChar;
  for (zornode *pcont = _cnvRight(pnode); pcont != nullptr && pcont->sKind == ZORNODE_OPRT && pcont->sCode == NODE_CONT_VAL_OP;
       pcont = _cnvRight(pcont)) {
    _cnvResolveLeft(pcont);
    zornode *pnodeArg = _cnvLeft(pcont);
    if (pnodeArg != nullptr && _zornodeFindDominant(pnodeFirst, pnodeArg) == ZORNODE_DOM_SECOND) {
      usCandidate = _cnvCCSID(pnodeArg);
      pnode->usPadChar = pnodeArg->usPadChar;
    }
  }
  _zornodeConvert(pnode, ZORNODE_SLOT_LEFT, usCandidate);
  for (zornode *pcont = _cnvRight(pnode); pcont != nullptr && pcont->sKind == ZORNODE_OPRT && pcont->sCode == NODE_CONT_VAL_OP;
       pcont = _cnvRight(pcont)) {
    pcont->usPadChar = pnode->usPadChar;
    _zornodeConvert(pcont, ZORNODE_SLOT_LEFT, usCandidate);
  }
  _cnvSetCCSID(pnode, usCandidate);
  return usCandidate;
}

/* CCSID and blank of the locale's single-byte or double-byte code page for a node. */
static int _cnvSetLocale(zornode *pnode, bool boDouble)
{
  ocnvftTriple triple = _cnvLocale();
  uint16_t usCCSID = boDouble ? triple.usDBCS : triple.usSBCS;
  _cnvSetCCSID(pnode, usCCSID);
  pnode->usPadChar = _cnvBlank(usCCSID);
  return usCCSID;
}

int _zornodeResolveConversion(zornode *pnode)
{
  if (pnode == nullptr) return 0;
  switch (pnode->sKind) {
    case ZORNODE_CSTE:
      /* constants carry their code page from construction, IN lists included */
      return _cnvCCSID(pnode);
    case ZORNODE_VAR:
      if (!(pnode->usStatus & (NODE_SUBS | NODE_LEFT_NOT)) && pnode->pLeft != nullptr)
        pnode->sCCSID = static_cast<const zorcol *>(pnode->pLeft)->sCCSID;
      if (pnode->sCCSID != 0) pnode->usPadChar = _cnvBlank(_cnvCCSID(pnode));
      return _cnvCCSID(pnode);
    case ZORNODE_OPRT:
      break;
    default:
      return 0;
  }

  int iCode = pnode->sCode;
  zornode *pnodeLeft;
  switch (iCode) {
    case NODE_OR_OP:
    case NODE_AND_OP:
    case NODE_PLS_OP:
    case NODE_MNS_OP:
    case NODE_MLT_OP:
    case NODE_DIV_OP:
    case NODE_TRUNC_OP:
    case NODE_DIFFTEMPS_OP:
      _cnvResolveRight(pnode);
      _cnvResolveLeft(pnode);
      pnode->sCCSID = 0;
      pnode->usPadChar = 0;
      return 0;
    case NODE_MNSU_OP:
    case NODE_IS_OP:
    case NODE_LEN_OP:
    case NODE_DUREE_OP:
    case NODE_CONT_DUREE_OP:
      _cnvResolveLeft(pnode);
      pnode->sCCSID = 0;
      pnode->usPadChar = 0;
      return 0;
    case NODE_NOT_OP:
      _cnvResolveLeft(pnode);
      pnode->sCCSID = 0;
      return 0;
    case NODE_EQU_OP:
    case NODE_INF_OP:
    case NODE_SUP_OP:
    case NODE_DIFF_OP:
    case NODE_IEG_OP:
    case NODE_SEG_OP:
      _cnvResolvePair(pnode);
      pnode->sCCSID = 0;
      return 0;
    case NODE_CONT_IF_OP: {
      /* the results of a CASE keep the code page they were brought to */
      int iDominant = _cnvResolvePair(pnode);
      zornode *pnodeThen = _cnvLeft(pnode), *pnodeElse = _cnvRight(pnode);
      const zornode *pnodeResult = iDominant == ZORNODE_DOM_SECOND ? pnodeElse : pnodeThen;
      pnode->sCCSID = pnodeResult != nullptr ? pnodeResult->sCCSID : 0;
      return _cnvCCSID(pnode);
    }
    case NODE_IN_OP:
      _cnvResolveRight(pnode);
      _cnvResolveLeft(pnode);
      pnodeLeft = _cnvLeft(pnode);
      if (pnodeLeft != nullptr) {
        pnode->usPadChar = pnodeLeft->usPadChar;
        _zornodeConvert(pnode, ZORNODE_SLOT_RIGHT, _cnvCCSID(pnodeLeft));
      }
      pnode->sCCSID = 0;
      return 0;
    case NODE_LIKE_OP:
      _cnvResolveLeft(pnode);
      pnodeLeft = _cnvLeft(pnode);
      if (pnodeLeft != nullptr) {
        pnode->usPadChar = pnodeLeft->usPadChar;
        zornode *pnodePattern = _cnvRight(pnode);
        if (_cnvIsTextConstant(pnodePattern)) _zornodeModifyLikeString(pnodePattern, _cnvCCSID(pnodeLeft));
      }
      pnode->sCCSID = 0;
      return 0;
    case NODE_NUL_OP:
      _cnvResolveRight(pnode);
      _cnvResolveLeft(pnode);
      pnodeLeft = _cnvLeft(pnode);
      if (pnodeLeft != nullptr) {
        pnode->sCCSID = pnodeLeft->sCCSID;
        pnode->usPadChar = pnodeLeft->usPadChar;
        _zornodeConvert(pnode, ZORNODE_SLOT_RIGHT, _cnvCCSID(pnodeLeft));
      }
      return _cnvCCSID(pnode);
    case NODE_VAL_OP:
      return _cnvResolveValue(pnode);
    case NODE_SUBSTR_OP: {
      _cnvResolveLeft(pnode);
      zornode *pcont = _cnvRight(pnode);
      if (pcont != nullptr) {
        _cnvResolveRight(pcont);
        _cnvResolveLeft(pcont);
      }
      pnodeLeft = _cnvLeft(pnode);
      if (pnodeLeft != nullptr) {
        pnode->sCCSID = pnodeLeft->sCCSID;
        pnode->usPadChar = pnodeLeft->usPadChar;
      }
      return _cnvCCSID(pnode);
    }
    case NODE_STRIP_OP:
    case NODE_STRIP2_OP:
    case NODE_STRIP3_OP:
      _cnvResolveLeft(pnode);
      pnodeLeft = _cnvLeft(pnode);
      if (pnodeLeft != nullptr) {
        pnode->sCCSID = pnodeLeft->sCCSID;
        pnode->usPadChar = pnodeLeft->usPadChar;
      }
      return _cnvCCSID(pnode);
    case NODE_CHR_OP:
    case NODE_VARG_OP:
      _cnvResolveLeft(pnode);
      pnodeLeft = _cnvLeft(pnode);
      if (pnodeLeft != nullptr && (pnodeLeft->usCtrlType & NODE_T_CHAR)) {
        pnode->sCCSID = pnodeLeft->sCCSID;
        pnode->usPadChar = pnodeLeft->usPadChar;
        return _cnvCCSID(pnode);
      }
      return _cnvSetLocale(pnode, iCode == NODE_VARG_OP);
    case NODE_DIG_OP:
    case NODE_HEX_OP:
      _cnvResolveLeft(pnode);
      return _cnvSetLocale(pnode, false);
    case NODE_CONCAT_OP: {
      _cnvResolveRight(pnode);
      _cnvResolveLeft(pnode);
      pnodeLeft = _cnvLeft(pnode);
      zornode *pnodeRight = _cnvRight(pnode);
      if (pnodeLeft == nullptr || pnodeRight == nullptr) {
        zornode *pnodeOne = pnodeLeft != nullptr ? pnodeLeft : pnodeRight;
        pnode->sCCSID = pnodeOne != nullptr ? pnodeOne->sCCSID : 0;
        pnode->usPadChar = pnodeOne != nullptr ? pnodeOne->usPadChar : 0;
        return _cnvCCSID(pnode);
      }
      int iDominant = _zornodeFindDominant(_cnvConcatCandidate(pnodeLeft), _cnvConcatCandidate(pnodeRight));
      if (iDominant == ZORNODE_DOM_FIRST) {
        pnode->usPadChar = pnodeLeft->usPadChar;
        _zornodeConvert(pnode, ZORNODE_SLOT_RIGHT, _cnvCCSID(pnodeLeft));
      } else if (iDominant == ZORNODE_DOM_SECOND) {
        pnode->usPadChar = pnodeRight->usPadChar;
        _zornodeConvert(pnode, ZORNODE_SLOT_LEFT, _cnvCCSID(pnodeRight));
      }
      pnodeLeft = _cnvLeft(pnode);
      pnodeRight = _cnvRight(pnode);
      pnode->sCCSID = iDominant == ZORNODE_DOM_FIRST ? pnodeLeft->sCCSID : pnodeRight->sCCSID;
      pnode->usPadChar = pnodeLeft->usPadChar;
      return _cnvCCSID(pnode);
    }
    case NODE_IF_OP: {
      _cnvResolveLeft(pnode);
      _cnvResolveRight(pnode);
      zornode *pcont = _cnvRight(pnode);
      if (pcont != nullptr) {
        pnode->sCCSID = pcont->sCCSID;
        pnode->usPadChar = pcont->usPadChar;
      }
      return _cnvCCSID(pnode);
    }
    case NODE_CONT_IN_OP:
    case NODE_CONT_VAL_OP:
      pnodeLeft = _cnvLeft(pnode);
      if (pnodeLeft != nullptr) pnode->usPadChar = pnodeLeft->usPadChar;
      return 0;
    default:
      break;
  }
  if ((iCode >= NODE_INT_OP && iCode <= NODE_DAYS_OP) || (iCode >= NODE_ABS_OP && iCode <= NODE_SMINT_OP)) {
    _cnvResolveLeft(pnode);
    pnodeLeft = _cnvLeft(pnode);
    if (pnodeLeft != nullptr) {
      pnode->usPadChar = pnodeLeft->usPadChar;
      uint16_t usLocale = _cnvLocale().usSBCS;
      if ((pnodeLeft->usCtrlType & NODE_T_CHAR) && _cnvCCSID(pnodeLeft) != usLocale)
        _zornodeConvert(pnode, ZORNODE_SLOT_LEFT, usLocale);
    }
    pnode->sCCSID = 0;
    pnode->usPadChar = 0;
    return 0;
  }
  return 0;
}

/* ------------------------------------------------------------ IN list set */

/* The bytes of a DB2 blank in a CCSID (two for a double-byte one). */
static std::string _cnvBlankBytes(uint16_t usCCSID)
{
  ochar *pwork = nullptr;
  int rc = _cnvBytes(" ", 1, 850, usCCSID, &pwork);
  if (pwork == nullptr || oreasonIsError(rc) || pwork->ilBU < 1) return std::string(1, ' ');
  return std::string(_charText(pwork), static_cast<size_t>(pwork->ilBU));
}

/* Digits of a DECIMAL constant buffer, most significant first, and its sign. */
static std::string _cnvDecimalDigits(const unsigned char *puc, bool *pboNegative)
{
  int iPrec = puc[0];
  std::string str;
  int iNibbles = iPrec;
  /* the digits end at the high nibble of byte 17 and run leftwards */
  for (int k = iNibbles; k >= 1; k--) {
    int iByte = 17 - k / 2;
    unsigned char uc = puc[iByte];
    unsigned d = (k % 2 == 1) ? static_cast<unsigned>(uc >> 4) : static_cast<unsigned>(uc & 0x0F);
    str.push_back(static_cast<char>('0' + (d > 9 ? 0 : d)));
  }
  unsigned uSign = puc[17] & 0x0F;
  *pboNegative = uSign == 0x0B || uSign == 0x0D;
  return str;
}

int _zornodeBuildInListSet(zornode *pnodeIn)
{
  if (pnodeIn == nullptr || pnodeIn->sKind != ZORNODE_OPRT || pnodeIn->sCode != NODE_IN_OP ||
      (pnodeIn->usStatus & NODE_RIGHT_NOT))
    return ZORNODE_RC_BADLIST;
  zornode *pnodeList = static_cast<zornode *>(pnodeIn->pRight);
  if (pnodeList == nullptr) return ZORNODE_RC_BADLIST;

  /* the kind of list, from its first element; every element must be of it */
  enum { LIST_INT, LIST_DEC, LIST_CHAR, LIST_GRA, LIST_DTE, LIST_TME, LIST_TST } eKind;
  long lSize;
  switch (pnodeList->usCtrlType) {
    case NODE_T_INT: eKind = LIST_INT; lSize = 4; break;
    case NODE_T_FLT:
    case NODE_T_DEC: eKind = LIST_DEC; lSize = 18; break;
    case NODE_T_CHN: eKind = LIST_CHAR; lSize = 0; break;
    case NODE_T_GRA: eKind = LIST_GRA; lSize = 0; break;
    case NODE_T_DTE: eKind = LIST_DTE; lSize = 4; break;
    case NODE_T_TME: eKind = LIST_TME; lSize = 3; break;
    case NODE_T_TST: eKind = LIST_TST; lSize = 10; break;
    default: return ZORNODE_RC_BADLIST;
  }
  long lCount = 0, lSum = 0;
  int iMaxScale = 0;
  for (zornode *p = pnodeList; p != nullptr; p = _cnvRight(p)) {
    if (p->sKind != ZORNODE_CSTE || p->pLeft == nullptr || (p->usStatus & NODE_LEFT_NOT)) return ZORNODE_RC_BADLIST;
    bool boSame;
    switch (eKind) {
      case LIST_DEC: boSame = p->usCtrlType == NODE_T_FLT || p->usCtrlType == NODE_T_DEC; break;
      default: boSame = p->usCtrlType == pnodeList->usCtrlType; break;
    }
    if (!boSame) return ZORNODE_RC_BADLIST;
    lCount++;
    if (eKind == LIST_CHAR) lSum += _cnvGetU16(p->pLeft);
    else if (eKind == LIST_GRA) lSum += 2L * _cnvGetU16(p->pLeft);
    else lSum += lSize;
  }
  if (!((lSize + lSum) / (2 * (lCount + 1)) + 2 < lCount + 1)) return 0;

  /* a double list is a DECIMAL list; values of a DECIMAL list share one scale */
  if (eKind == LIST_DEC) {
    for (zornode *p = pnodeList; p != nullptr; p = _cnvRight(p)) {
      if (p->usCtrlType == NODE_T_FLT) {
        int rc = _zornodeConvertToDec(p);
        if (rc != 0) return rc == ZORNODE_RC_RANGE ? ZORNODE_RC_BADLIST : rc;
      }
      int iScale = static_cast<const unsigned char *>(p->pLeft)[1];
      if (iScale > iMaxScale) iMaxScale = iScale;
    }
  }

  std::string strBlank;
  if (eKind == LIST_CHAR || eKind == LIST_GRA) strBlank = _cnvBlankBytes(_cnvCCSID(pnodeList));
  oname *pname = onameCreate(static_cast<uint32_t>((lCount + 1) * 14 / 10), 80);
  if (pname == nullptr) return ORC_NOMEM;
  for (zornode *p = pnodeList; p != nullptr; p = _cnvRight(p)) {
    const unsigned char *puc = static_cast<const unsigned char *>(p->pLeft);
    std::string strKey;
    switch (eKind) {
      case LIST_INT:
        strKey.assign(reinterpret_cast<const char *>(puc), 4);
        break;
      case LIST_DEC: {
        bool boNegative;
        std::string strDigits = _cnvDecimalDigits(puc, &boNegative) + std::string(static_cast<size_t>(iMaxScale - puc[1]), '0');
        unsigned char aucDec[ZORNODE_DECIMAL_SIZE];
        if (!_cnvPackDecimal(aucDec, boNegative, strDigits, iMaxScale)) {
          onameDestroy(pname);
          return ZORNODE_RC_BADLIST;
        }
        aucDec[0] = 31;
        aucDec[1] = 0;
        strKey.assign(reinterpret_cast<const char *>(aucDec), sizeof aucDec);
        break;
      }
      case LIST_CHAR:
      case LIST_GRA: {
        size_t ulBytes = static_cast<size_t>(_cnvGetU16(puc)) * (eKind == LIST_GRA ? 2 : 1);
        strKey.assign(reinterpret_cast<const char *>(puc + 2), ulBytes);
        size_t ulUnit = strBlank.size();
        while (strKey.size() >= ulUnit && ulUnit > 0 && strKey.compare(strKey.size() - ulUnit, ulUnit, strBlank) == 0)
          strKey.resize(strKey.size() - ulUnit);
        break;
      }
      default:
        /* packed date/time values are fixed-length: no blanks to strip */
        strKey.assign(reinterpret_cast<const char *>(puc + 2), _cnvGetU16(puc));
        break;
    }
    if (strKey.empty() || onameInternFixed(pname, strKey.data(), strKey.size()) == nullptr) {
      /* a value the table cannot hold (an empty string): keep the list */
      onameDestroy(pname);
      return strKey.empty() ? 0 : ORC_NOMEM;
    }
  }
  zornodeDestroy(pnodeList);
  pnodeIn->sCode = NODE_IN_OP_RANDOM;
  zornodeSetRightValue(pnodeIn, reinterpret_cast<uintptr_t>(pname));
  pnodeIn->usStatus |= NODE_RIGHT_NOT;
  return 0;
}
