/*
** zorctrlu.cpp
**   Steps of the output preparation (see control/zorctrlu.h): the CCSID
**   triple, the DEL and DELIMITED defaults, matching FORMAT USER
**   column specs, target type keys, LONGCOL, the record-end column, and
**   the core data of every output column with its ICU converters.
*/
#include "control/zorctrlu.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>
#include <unicode/utf16.h>
#include <unicode/utypes.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/ochaine.h"
#include "common/ochar.h"
#include "common/ocnvft.h"
#include "common/odict.h"
#include "common/olist.h"
#include "common/omsgs.h"
#include "common/oreason.h"
#include "control/zorcontrol.h"
#include "control/zorcontroludb.h"
#include "model/stats.h"
#include "model/token.h"
#include "model/zoratom.h"
#include "model/zormsgs.h"
#include "model/zortask.h"
#include "expr/zorcol.h"
#include "expr/zornode.h"
#include "run/zorucore.h"
#include "run/zorucorechar.h"

#define OMSGS_TRACE_KEYWORD "$CTRLU"
#define OMSGS_DEBUG_KEYWORD nullptr
#include "common/omsgsmod.h"

/* ------------------------------------------------------------- helpers */

static const char *_ctrluName(int iSlot) { return gapnameTotalToken[iSlot]; }

/* The atom of that name in the task's own dictionary, NULL when none. */
static zoratom *_ctrluOwnAtom(zortask *ptask, int iSlot)
{
  const char *pcName = _ctrluName(iSlot);
  if (ptask == nullptr || ptask->pdictAtoms == nullptr || pcName == nullptr) return nullptr;
  return static_cast<zoratom *>(odictLoad(ptask->pdictAtoms, reinterpret_cast<uintptr_t>(pcName)));
}

/* The atom of that name in force from the task up, NULL when none. */
static zoratom *_ctrluAtom(zortask *ptask, int iSlot)
{
  const char *pcName = _ctrluName(iSlot);
  if (ptask == nullptr || pcName == nullptr) return nullptr;
  return zortaskDetermineAtom(ptask, pcName);
}

/* The string of an OCHAR atom in force, NULL when none. */
static ochar *_ctrluString(zortask *ptask, int iSlot)
{
  zoratom *patom = _ctrluAtom(ptask, iSlot);
  return (patom != nullptr && patom->iKind == ZORATOM_OCHAR) ? patom->value.pchar : nullptr;
}

/* The INTEGER value in force, or iDefault. */
static int32_t _ctrluInteger(zortask *ptask, int iSlot, int32_t iDefault)
{
  zoratom *patom = _ctrluAtom(ptask, iSlot);
  return (patom != nullptr && patom->iKind == ZORATOM_INTEGER) ? patom->value.iValue : iDefault;
}

/* The column of an own ZORCOL atom (COL, SOURCECOL), NULL when none. */
static zorcol *_ctrluColumn(zortask *ptask, int iSlot)
{
  zoratom *patom = _ctrluOwnAtom(ptask, iSlot);
  return (patom != nullptr && patom->iKind == ZORATOM_ZORCOL) ? patom->value.pcol : nullptr;
}

/* The core data of the task's own COREDATA atom, NULL when none. */
static zorucoreData *_ctrluCore(zortask *ptask)
{
  zoratom *patom = _ctrluOwnAtom(ptask, TOKEN_COREDATA);
  return (patom != nullptr && patom->iKind == ZORATOM_COREDATA) ? patom->value.pcoreData : nullptr;
}

/* Adds an atom to the task; the atom is destroyed when the task refuses it. */
static int _ctrluAdd(zortask *ptask, zoratom *patom)
{
  if (patom == nullptr) return ORC_NOMEM;
  int rc = zortaskAddAtom(ptask, patom);
  if (rc != 0) zoratomDestroy(patom);
  return rc;
}

/* Removes and destroys the task's own atom of that name. */
static void _ctrluDrop(zortask *ptask, int iSlot)
{
  zoratomDestroy(zortaskRemoveAtom(ptask, _ctrluName(iSlot)));
}

/* Adds an OCHAR atom holding ilLength bytes of text in that CCSID. */
static int _ctrluAddBytes(zortask *ptask, int iSlot, const char *pcText, int32_t ilLength, uint16_t usCCSID)
{
  ochar *pchar = static_cast<ochar *>(std::calloc(1, sizeof(ochar)));
  if (pchar == nullptr) return ORC_NOMEM;
  if (ocharInitFromFixed(pchar, pcText, ilLength, usCCSID) != 0) {
    std::free(pchar);
    return ORC_NOMEM;
  }
  zoratom *patom = zoratomCreate(_ctrluName(iSlot), ZORATOM_OCHAR, 0, reinterpret_cast<uintptr_t>(pchar), nullptr,
                                 nullptr);
  if (patom == nullptr) {
    ocharDestroy(pchar);
    return ORC_NOMEM;
  }
  return _ctrluAdd(ptask, patom);
}

/* Adds an OCHAR atom holding the text in CCSID 850. */
static int _ctrluAddString(zortask *ptask, int iSlot, const char *pcText)
{
  return _ctrluAddBytes(ptask, iSlot, pcText, static_cast<int32_t>(std::strlen(pcText)), OCHAR_CCSID_ASCII);
}

/* Replaces the embedded string by a copy of the source (left empty for NULL). */
static int _ctrluCopyString(ochar *pcharTarget, const ochar *pcharSource)
{
  if (pcharTarget->pcData != nullptr && (pcharTarget->usFlags & OCHAR_OWNED)) std::free(pcharTarget->pcData);
  std::memset(pcharTarget, 0, sizeof *pcharTarget);
  if (pcharSource == nullptr || pcharSource->pcData == nullptr || pcharSource->ilBU <= 0) return 0;
  return ocharInitFromFixed(pcharTarget, _charText(pcharSource), pcharSource->ilBU, pcharSource->usCCSID);
}

/* A CCSID that names a code page (0, 0xFFFF and 0xFFFE do not). */
static bool _ctrluIsCodePage(uint16_t usCCSID) { return usCCSID != 0 && usCCSID != 0xFFFF && usCCSID != 0xFFFE; }

/* The column's name as C text ("" when it has none). */
static std::string _ctrluColName(const zorcol *pcol)
{
  if (pcol == nullptr || pcol->pcharName == nullptr || pcol->pcharName->pcData == nullptr) return std::string();
  return std::string(_charText(pcol->pcharName), static_cast<size_t>(pcol->pcharName->ilBU));
}

/* The mixed member of the CCSID triple in force, 0 when none: the code page of a DEL file. */
static uint16_t _ctrluMixed(zortask *ptask)
{
  zoratom *patom = _ctrluAtom(ptask, TOKEN_CCSID);
  return (patom != nullptr && patom->iKind == ZORATOM_TRISHORT) ? patom->value.ausShort[1] : 0;
}

/*
** The code page the DEL converters write a row in: the file's, but UTF-8
** (1208) for a file in UTF-16 (1200), whose records are made in UTF-8 and
** converted whole by the record end (zorcontrolUdbInsertProEpilogue).
*/
static uint16_t _ctrluRowCodePage(zortask *ptask)
{
  uint16_t usFile = _ctrluMixed(ptask);
  return usFile == 1200 ? 1208 : usFile;
}

/* ----------------------------------------------------------- CCSID triple */

int zorcontrolCcsidScheme(zorcontrol *pcontrol, zortask *ptaskSelect, int iFormat)
{
  (void)pcontrol;
  bool boSystable = _ctrluOwnAtom(ptaskSelect, TOKEN_SYSTABLE) != nullptr;
  int32_t iScheme = _ctrluInteger(ptaskSelect, TOKEN_SCHEME, 0);
  uint16_t usS = 0, usM = 0, usD = 0;
  const ocnvft *pcnvft = gpcnvft;

  switch (iScheme) {
    case ZORCTRLU_SCHEME_ASIS:
      if (pcnvft != nullptr) {
        usM = pcnvft->usDbCCSID;
        ocnvftDecomposeMixed(usM, &usS, &usD);
        if (usS == 0) usS = usM;
      }
      break;
    case ZORCTRLU_SCHEME_ASCII:
      if (pcnvft != nullptr) {
        const ocnvftTriple &triple = boSystable ? pcnvft->tripleExternal : pcnvft->tripleLocale;
        usS = triple.usSBCS, usM = triple.usMixed, usD = triple.usDBCS;
      }
      break;
    case ZORCTRLU_SCHEME_EBCDIC:
      if (!boSystable && pcnvft != nullptr)
        usS = pcnvft->tripleHost.usSBCS, usM = pcnvft->tripleHost.usMixed, usD = pcnvft->tripleHost.usDBCS;
      break;
    case ZORCTRLU_SCHEME_UNICODE:
      if (pcnvft != nullptr)
        usS = pcnvft->tripleInternal.usSBCS, usM = pcnvft->tripleInternal.usMixed,
        usD = pcnvft->tripleInternal.usDBCS;
      break;
    default:
      break;
  }
  if (usM == 0) usM = usS;
  if (usD == 0) usD = boSystable ? 1200 : 1202;
  omsgsTrace("CCSID scheme 0x%X: SBCS %u MIXED %u DBCS %u\n", static_cast<unsigned>(iScheme), usS, usM, usD);

  /* IXF keeps the database's code pages: its header names them, whatever a CCSID option says */
  if (iFormat == 11) {
    _ctrluDrop(ptaskSelect, TOKEN_CCSID);
    int rc = _ctrluAdd(ptaskSelect, zoratomCreateTripleShort(_ctrluName(TOKEN_CCSID), usS, usM, usD, nullptr, nullptr));
    statsTimeTrace("CCSID scheme");
    return rc;
  }
  zoratom *patom = _ctrluAtom(ptaskSelect, TOKEN_CCSID);
  if (patom != nullptr && patom->iKind == ZORATOM_TRISHORT) {
    if (patom->value.ausShort[0] == 0) patom->value.ausShort[0] = usS;
    if (patom->value.ausShort[1] == 0) patom->value.ausShort[1] = usM;
    if (patom->value2.usShort == 0) patom->value2.usShort = usD;
  } else {
    int rc = _ctrluAdd(ptaskSelect, zoratomCreateTripleShort(_ctrluName(TOKEN_CCSID), usS, usM, usD, nullptr, nullptr));
    if (rc != 0) return rc;
  }
  statsTimeTrace("CCSID scheme");
  return 0;
}

/* -------------------------------------------------------- format defaults */

/* One default of DEL and DELIMITED: the string or type atom of that slot. */
static int _ctrluAddDefault(zortask *ptaskSelect, int iSlot)
{
  switch (iSlot) {
    case TOKEN_SEP:       return _ctrluAddString(ptaskSelect, iSlot, ",");
    case TOKEN_DELIM:     return _ctrluAddString(ptaskSelect, iSlot, "\"");
    case TOKEN_TIMESTAMP: return _ctrluAdd(ptaskSelect, zoratomCreateType(_ctrluName(iSlot), 12, 'B', nullptr, nullptr));
    case TOKEN_TIME:      return _ctrluAdd(ptaskSelect, zoratomCreateType(_ctrluName(iSlot), 11, 'A', nullptr, nullptr));
    case TOKEN_DATE:      return _ctrluAdd(ptaskSelect, zoratomCreateType(_ctrluName(iSlot), 10, 'K', nullptr, nullptr));
    default:              return ORC_INVALID;
  }
}

static const int kaiDefaultSlots[] = {TOKEN_SEP, TOKEN_DELIM, TOKEN_TIMESTAMP, TOKEN_TIME, TOKEN_DATE};

/* The record end "\n" on the SELECT, replacing one the SELECT itself held. */
static int _ctrluAddRecordEnd(zortask *ptaskSelect)
{
  _ctrluDrop(ptaskSelect, TOKEN_CR);
  return _ctrluAddString(ptaskSelect, TOKEN_CR, "\n");
}

int _zorcontrolUdbDefaultDel(zorcontrol *pcontrol, zortask *ptaskSelect)
{
  (void)pcontrol;
  for (int iSlot : kaiDefaultSlots) {
    _ctrluDrop(ptaskSelect, iSlot);
    int rc = _ctrluAddDefault(ptaskSelect, iSlot);
    if (rc != 0) return rc;
  }
  return _ctrluAddRecordEnd(ptaskSelect);
}

int _zorcontrolUdbDefaultDelimited(zorcontrol *pcontrol, zortask *ptaskSelect)
{
  (void)pcontrol;
  for (int iSlot : kaiDefaultSlots) {
    if (_ctrluAtom(ptaskSelect, iSlot) != nullptr) continue;
    int rc = _ctrluAddDefault(ptaskSelect, iSlot);
    if (rc != 0) return rc;
  }
  return _ctrluAddRecordEnd(ptaskSelect);
}

/* IXF holds dates, times and timestamps in their ISO text, whatever the options say. */
static int _ctrluDefaultIxf(zortask *ptaskSelect)
{
  for (int iSlot : {TOKEN_TIMESTAMP, TOKEN_TIME}) {
    _ctrluDrop(ptaskSelect, iSlot);
    int rc = _ctrluAddDefault(ptaskSelect, iSlot);   /* TIMESTAMP_B, TIME_A */
    if (rc != 0) return rc;
  }
  _ctrluDrop(ptaskSelect, TOKEN_DATE);
  int rc = _ctrluAdd(ptaskSelect, zoratomCreateType(_ctrluName(TOKEN_DATE), 10, 'C', nullptr, nullptr));
  _ctrluDrop(ptaskSelect, TOKEN_DATEDELIM);
  if (rc == 0) rc = _ctrluAddString(ptaskSelect, TOKEN_DATEDELIM, "-");
  _ctrluDrop(ptaskSelect, TOKEN_TIMEDELIM);
  if (rc == 0) rc = _ctrluAddString(ptaskSelect, TOKEN_TIMEDELIM, ".");
  return rc;
}

int zorcontrolUdbDetermineDefault(zorcontrol *pcontrol, zortask *ptaskSelect, int iFormat)
{
  int rc = 0;
  if (iFormat == 13)
    rc = _zorcontrolUdbDefaultDel(pcontrol, ptaskSelect);
  else if (iFormat == 1)
    rc = _zorcontrolUdbDefaultDelimited(pcontrol, ptaskSelect);
  else if (iFormat == 11)
    rc = _ctrluDefaultIxf(ptaskSelect);
  statsTimeTrace("Format defaults");
  return rc;
}

/* ------------------------------------------------------- ignored options */

/* The own atom of that name in the SELECT or a block above it, below PARMLIB; NULL when none. */
static zoratom *_ctrluGiven(zorcontrol *pcontrol, zortask *ptaskSelect, int iSlot)
{
  for (zortask *ptask = ptaskSelect; ptask != nullptr; ptask = ptask->ptaskOwner) {
    if (pcontrol != nullptr && ptask == pcontrol->ptaskParmlib) break;
    if (ptask->pcName != nullptr && ptask->pcName == _ctrluName(TOKEN_PARMLIB)) break;
    zoratom *patom = _ctrluOwnAtom(ptask, iSlot);
    if (patom != nullptr) return patom;
  }
  return nullptr;
}

int zorcontrolUdbIgnoredOptions(zorcontrol *pcontrol, zortask *ptaskSelect, int iFormat)
{
  const char *pcFormat = iFormat == 13 ? "DEL" : iFormat == 1 ? "DELIMITED" : iFormat == 11 ? "IXF" : "USER";
  struct {
    int iSlot;
    const char *pcOption;
    bool boIgnored;
  } aOptions[] = {
      /* DEL and IXF have their own date and time layouts */
      {TOKEN_DATE, "DATE", iFormat == 13 || iFormat == 11},
      {TOKEN_TIME, "TIME", iFormat == 13 || iFormat == 11},
      {TOKEN_TIMESTAMP, "TIMESTAMP", iFormat == 13 || iFormat == 11},
      {TOKEN_DATEDELIM, "DATEDELIM", iFormat == 11},
      {TOKEN_TIMEDELIM, "TIMEDELIM", iFormat == 11},
      /* IXF is written in the database's code pages */
      {TOKEN_CCSID, "CCSID", iFormat == 11},
      /* no output form reads them */
      {TOKEN_NULL, "NULL", true},
      {TOKEN_NULLDELIM, "NULL DELIM", true},
      {TOKEN_PIC, "PIC", true},
  };
  for (auto &option : aOptions)
    if (option.boIgnored && _ctrluGiven(pcontrol, ptaskSelect, option.iSlot) != nullptr)
      omsgsFMTEDO(ZORU474W, option.pcOption, pcFormat);
  return 0;
}

/* ------------------------------------------------ DEL in the output code page */

/*
** Bytes the DEL converters write as they stand, whatever the output code
** page: the digits, signs, point and exponent letter of numbers, dates and
** times, the blank and letters of TIME_C, and the point and slash of a
** location specifier.  An output code page must hold each of them as the
** same single byte.
*/
static const char kacDelAscii[] = "0123456789+-.E AMP/";

/* The ICU converter of a CCSID, with callbacks that stop at a character without form; NULL when none. */
static UConverter *_ctrluOpenStrict(uint16_t usCCSID)
{
  char acName[32];
  if (usCCSID == 13488)
    std::snprintf(acName, sizeof acName, "UTF-16BE");
  else
    std::snprintf(acName, sizeof acName, "ibm-%u", static_cast<unsigned>(usCCSID));
  UErrorCode err = U_ZERO_ERROR;
  UConverter *pconv = ucnv_open(acName, &err);
  if (U_FAILURE(err) || pconv == nullptr) {
    omsgsTrace("RC ucnv_open %s = %d : %s\n", acName, static_cast<int>(err), u_errorName(err));
    return nullptr;
  }
  ucnv_setToUCallBack(pconv, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
  ucnv_setFromUCallBack(pconv, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
  if (U_FAILURE(err)) {
    ucnv_close(pconv);
    return nullptr;
  }
  return pconv;
}

/* UTF-16 units in the code page of pconvOut; false when one has no form there. */
static bool _ctrluFromUnits(UConverter *pconvOut, const UChar *pu, int32_t ilUnits, std::string *pstr)
{
  pstr->assign(4 * static_cast<size_t>(ilUnits) + 4, '\0');
  UErrorCode err = U_ZERO_ERROR;
  ucnv_resetFromUnicode(pconvOut);
  int32_t ilLength = ucnv_fromUChars(pconvOut, pstr->data(), static_cast<int32_t>(pstr->size()), pu, ilUnits, &err);
  if (U_FAILURE(err)) return false;
  pstr->resize(static_cast<size_t>(ilLength));
  return true;
}

/*
** The text of the string (boFirst: its first character only) in the code
** page of pconvOut, usOut.  An absent or empty string gives "".  Returns
** false when a character has no form in either code page.
*/
static bool _ctrluInCodePage(const ochar *pchar, UConverter *pconvOut, uint16_t usOut, bool boFirst,
                             std::string *pstr)
{
  pstr->clear();
  if (pchar == nullptr || pchar->pcData == nullptr || pchar->ilBU <= 0) return true;
  std::string strText(_charText(pchar), static_cast<size_t>(pchar->ilBU));
  if (!_ctrluIsCodePage(pchar->usCCSID)) {
    /* a text of no code page is taken as it stands */
    *pstr = boFirst ? strText.substr(0, 1) : strText;
    return true;
  }
  if (pchar->usCCSID == usOut && !boFirst) {
    *pstr = strText;
    return true;
  }
  UConverter *pconvIn = _ctrluOpenStrict(pchar->usCCSID);
  if (pconvIn == nullptr) return false;
  std::u16string strUnits(2 * strText.size() + 2, u'\0');
  UErrorCode err = U_ZERO_ERROR;
  int32_t ilUnits = ucnv_toUChars(pconvIn, reinterpret_cast<UChar *>(strUnits.data()),
                                  static_cast<int32_t>(strUnits.size()), strText.data(),
                                  static_cast<int32_t>(strText.size()), &err);
  ucnv_close(pconvIn);
  if (U_FAILURE(err)) return false;
  if (boFirst && ilUnits > 0) ilUnits = U16_IS_LEAD(strUnits[0]) && ilUnits > 1 ? 2 : 1;
  return _ctrluFromUnits(pconvOut, reinterpret_cast<const UChar *>(strUnits.data()), ilUnits, pstr);
}

/* Replaces the SELECT's own OCHAR atom of that slot by the bytes in CCSID usOut. */
static int _ctrluSetFraming(zortask *ptaskSelect, int iSlot, const std::string &str, uint16_t usOut)
{
  _ctrluDrop(ptaskSelect, iSlot);
  return _ctrluAddBytes(ptaskSelect, iSlot, str.data(), static_cast<int32_t>(str.size()), usOut);
}

int zorcontrolUdbDelCodePage(zorcontrol *pcontrol, zortask *ptaskSelect, int iFormat)
{
  (void)pcontrol;
  if (iFormat != 13 && iFormat != 1) return 0;
  const char *pcFormat = iFormat == 13 ? "DEL" : "DELIMITED";
  uint16_t usFile = _ctrluMixed(ptaskSelect);
  if (!_ctrluIsCodePage(usFile)) return 0;   /* nothing is converted: the texts stay as given */
  /* a UTF-16 file: the rows are made in UTF-8, so the checks and texts below are in UTF-8 */
  uint16_t usOut = _ctrluRowCodePage(ptaskSelect);
  bool boUtf16 = usOut != usFile;

  const char *pcWhy = nullptr;
  UConverter *pconv = nullptr;
  if (usFile == 1202 || usFile == 13488)
    pcWhy = "DELIMITED FILES IN UTF-16 ARE WRITTEN IN CCSID 1200 ONLY";
  else if ((pconv = _ctrluOpenStrict(usOut)) == nullptr)
    pcWhy = "THERE IS NO CONVERTER FOR IT";
  for (const char *pc = kacDelAscii; pcWhy == nullptr && *pc != '\0'; pc++) {
    UChar u = static_cast<UChar>(*pc);
    std::string str;
    if (!_ctrluFromUnits(pconv, &u, 1, &str) || str.size() != 1 || str[0] != *pc)
      pcWhy = "ITS DIGITS AND SIGNS ARE NOT THOSE OF ASCII";
  }

  /* the separator, delimiter and decimal point are one byte each; the other texts any length */
  std::string strSep, strDelim, strPoint, strDate, strTime, strEnd;
  struct {
    int iSlot;
    std::string *pstr;
    bool boOneByte;
    const char *pcWhy;
  } aFraming[] = {
      {TOKEN_SEP, &strSep, true,
       boUtf16 ? "THE SEPARATOR IS NOT AN ASCII CHARACTER" : "THE SEPARATOR IS NOT ONE BYTE IN IT"},
      {TOKEN_DELIM, &strDelim, true,
       boUtf16 ? "THE DELIMITER IS NOT AN ASCII CHARACTER" : "THE DELIMITER IS NOT ONE BYTE IN IT"},
      {TOKEN_DECIMAL, &strPoint, true,
       boUtf16 ? "THE DECIMAL POINT IS NOT AN ASCII CHARACTER" : "THE DECIMAL POINT IS NOT ONE BYTE IN IT"},
      {TOKEN_DATEDELIM, &strDate, false, "THE DATE DELIMITER HAS NO FORM IN IT"},
      {TOKEN_TIMEDELIM, &strTime, false, "THE TIME DELIMITER HAS NO FORM IN IT"},
      {TOKEN_CR, &strEnd, false, "THE RECORD END HAS NO FORM IN IT"},
  };
  for (auto &f : aFraming) {
    if (pcWhy != nullptr) break;
    const ochar *pchar = _ctrluString(ptaskSelect, f.iSlot);
    if (!_ctrluInCodePage(pchar, pconv, usOut, f.boOneByte, f.pstr) ||
        (f.boOneByte && pchar != nullptr && pchar->ilBU > 0 && f.pstr->size() != 1))
      pcWhy = f.pcWhy;
  }
  ucnv_close(pconv);
  if (pcWhy != nullptr) {
    omsgsFMTEDO(ZORU470E, pcFormat, static_cast<int>(usFile), pcWhy);
    return ZORCTRLU_RC_DELCCSID;
  }

  /* a separator that may stand inside a field of its own would cut it in two */
  const char *pcClash = nullptr;
  if (!strSep.empty()) {
    char cSep = strSep[0];
    if (!strDelim.empty() && strDelim[0] == cSep)
      pcClash = "THE SEPARATOR IS THE DELIMITER";
    else if (!strPoint.empty() && strPoint[0] == cSep)
      pcClash = "THE SEPARATOR IS THE DECIMAL POINT";
    else if (std::strchr("0123456789+-.E", cSep) != nullptr)
      pcClash = "THE SEPARATOR IS A CHARACTER OF NUMBERS";
    else if (strDate.find(cSep) != std::string::npos)
      pcClash = "THE SEPARATOR IS IN THE DATE DELIMITER";
    else if (strEnd.find(cSep) != std::string::npos)
      pcClash = "THE SEPARATOR IS IN THE RECORD END";
  }
  if (pcClash == nullptr && !strDelim.empty() && strEnd.find(strDelim[0]) != std::string::npos)
    pcClash = "THE DELIMITER IS IN THE RECORD END";
  if (pcClash != nullptr) {
    omsgsFMTEDO(ZORU472E, pcFormat, pcClash);
    return ZORCTRLU_RC_DELCLASH;
  }

  int rc = 0;
  for (auto &f : aFraming)
    if (rc == 0 && _ctrluString(ptaskSelect, f.iSlot) != nullptr)
      rc = _ctrluSetFraming(ptaskSelect, f.iSlot, *f.pstr, usOut);
  statsTimeTrace("DEL code page");
  return rc;
}

/* --------------------------------------------------- IXF and FILEMAXSIZE */

int zorcontrolUdbIxfFileMaxSize(zorcontrol *pcontrol, zortask *ptaskSelect)
{
  (void)pcontrol;
  zoratom *patomMax = _ctrluAtom(ptaskSelect, TOKEN_FILEMAXSIZE);
  const ochar *pcharHeader = _ctrluString(ptaskSelect, TOKEN_HEADER_IXF);
  if (patomMax == nullptr || pcharHeader == nullptr) return 0;
  int64_t llMax;
  if (patomMax->iKind == ZORATOM_INTEGER) {
    llMax = patomMax->value.iValue;
  } else if (patomMax->iKind == ZORATOM_TYPE) {
    static const int64_t kallUnit[] = {1, 1024, 1024 * 1024, 1024 * 1024 * 1024};
    int32_t iUnit = patomMax->value.iValue;
    llMax = static_cast<int64_t>(patomMax->value2.iValue) * (iUnit >= 1 && iUnit <= 3 ? kallUnit[iUnit] : 1);
  } else {
    return 0;
  }
  /* every file of the SELECT starts with the header: it must leave room for rows */
  if (llMax < 0 || llMax > pcharHeader->ilBU) return 0;
  omsgsFMTEDO(ZORU475E, static_cast<long long>(llMax), static_cast<int>(pcharHeader->ilBU));
  return ZORCTRLU_RC_FILEMAX;
}

/* ----------------------------------------------- FORMAT USER column specs */

zortask *zorcontrolFindEcs(zorcontrol *pcontrol, olist *plistSpec, zorcol *pcol)
{
  (void)pcontrol;
  if (plistSpec == nullptr || pcol == nullptr) return nullptr;
  olistIterator iter;

  /* by number */
  olistIteratorInit(&iter, plistSpec);
  while (olistIteratorNext(&iter)) {
    zortask *ptask = static_cast<zortask *>(olistIteratorGetRef(&iter));
    zorcol *pcolSpec = _ctrluColumn(ptask, TOKEN_COL);
    if (pcolSpec == nullptr || pcolSpec->iNumber == 0 || pcolSpec->iNumber != pcol->iNumber) continue;
    if (pcolSpec->pcharName == nullptr && pcol->pcharName != nullptr) pcolSpec->pcharName = ocharClone(pcol->pcharName);
    ptask->ulFlags |= ZORCTRLU_TASK_BY_NUMBER;
    return ptask;
  }

  /* by name, among the column specs no column has taken yet */
  if (pcol->pcharName == nullptr) return nullptr;
  olistIteratorInit(&iter, plistSpec);
  while (olistIteratorNext(&iter)) {
    zortask *ptask = static_cast<zortask *>(olistIteratorGetRef(&iter));
    zorcol *pcolSpec = _ctrluColumn(ptask, TOKEN_COL);
    if (pcolSpec == nullptr || pcolSpec->pcharName == nullptr) continue;
    if ((ptask->ulFlags & ZORCTRLU_TASK_BY_NUMBER) || !(ptask->ulFlags & ZORCTRLU_TASK_UNUSED)) continue;
    if (ocharCompare(pcolSpec->pcharName, pcol->pcharName, ' ') != 0) continue;
    pcolSpec->iNumber = pcol->iNumber;
    return ptask;
  }
  return nullptr;
}

/* ---------------------------------------------------------- format checks */

/* The letter of the DATE, TIME or TIMESTAMP type atom in force, 0 when none. */
static int32_t _ctrluLetter(zortask *ptask, int iSlot)
{
  zoratom *patom = _ctrluAtom(ptask, iSlot);
  return (patom != nullptr && patom->iKind == ZORATOM_TYPE) ? patom->value2.iValue : 0;
}


int _zorcontrolUdbCheckEcsDelimited(zorcontrol *pcontrol, zortask *ptaskEcs, int iDirect)
{
  (void)pcontrol;
  zorcol *pcolSource = _ctrluColumn(ptaskEcs, TOKEN_SOURCECOL);
  zorcol *pcolTarget = _ctrluColumn(ptaskEcs, TOKEN_COL);
  if (pcolSource == nullptr || pcolTarget == nullptr) return 0;

  int32_t iSource = pcolSource->iType;
  int32_t iCleared = (iSource | 0xB000) & ~0x0800;
  uint16_t usMixed = _ctrluRowCodePage(ptaskEcs);
  /* delimiters inside values are doubled unless DOUBLE DELIM OFF asks for the bare text */
  bool boDoubleDelim = _ctrluInteger(ptaskEcs, TOKEN_DOUBLE_DELIM, 1) != 0;
  bool boLobFile = _ctrluAtom(ptaskEcs, TOKEN_LOBFILE) != nullptr;
  bool boLls = _ctrluInteger(ptaskEcs, TOKEN_LLS, 0) == 1;

  switch (iSource & 0xFF) {
    case 1: case 2: case 3: case 4: case 5: case 6:
      pcolTarget->iType = iCleared;
      break;
    case 7: case 8: case 9:
      pcolTarget->iType = iCleared | (boDoubleDelim ? 0x0100 : 0);
      pcolTarget->sCCSID = static_cast<int16_t>(pcolSource->sCCSID == 0 ? 0 : usMixed);
      break;
    case 10: {
      int32_t iLetter = _ctrluLetter(ptaskEcs, TOKEN_DATE);
      pcolTarget->iType = 0xB000 | ((iLetter - 0x10) & 0xFF);
      pcolTarget->iSubType = iLetter;
      pcolTarget->sCCSID = static_cast<int16_t>(usMixed);
      break;
    }
    case 11: {
      int32_t iLetter = _ctrluLetter(ptaskEcs, TOKEN_TIME);
      pcolTarget->iType = 0xB000 | (iLetter & 0xFF);
      pcolTarget->iSubType = iLetter;
      pcolTarget->sCCSID = static_cast<int16_t>(usMixed);
      break;
    }
    case 12: {
      int32_t iLetter = _ctrluLetter(ptaskEcs, TOKEN_TIMESTAMP);
      pcolTarget->iType = 0xB000 | ((iLetter + 5) & 0xFF);
      pcolTarget->iSubType = iLetter;
      pcolTarget->sCCSID = static_cast<int16_t>(usMixed);
      break;
    }
    case 13: case 14: case 15:
      /* doubled only when converted: the core-data step takes 0x0100 back otherwise */
      pcolTarget->iType = iCleared | (boDoubleDelim ? 0x0100 : 0);
      pcolTarget->sCCSID = static_cast<int16_t>(usMixed);
      break;
    case 16: case 17: case 18: {
      int32_t iTarget = iCleared;
      if (boLobFile) {
        iTarget |= 0x0400;
        if (boLls) iTarget |= 0x0100;
      } else if (boDoubleDelim) {
        iTarget |= 0x0100;
      }
      pcolTarget->iType = iTarget;
      if ((iSource & 0xFF) != 16) pcolTarget->sCCSID = static_cast<int16_t>(usMixed);
      break;
    }
    default:
      pcolTarget->iType = 0xB000;
      break;
  }
  if (!iDirect) pcolSource->iType |= 0xD000;
  return 0;
}

int _zorcontrolUdbCheckEcsIxf(zorcontrol *pcontrol, zortask *ptaskEcs, int iDirect)
{
  (void)pcontrol;
  zorcol *pcolSource = _ctrluColumn(ptaskEcs, TOKEN_SOURCECOL);
  zorcol *pcolTarget = _ctrluColumn(ptaskEcs, TOKEN_COL);
  if (pcolSource == nullptr || pcolTarget == nullptr) return 0;

  int32_t iSource = pcolSource->iType;
  int iType = iSource & 0xFF;
  if (iType >= 1 && iType <= 15) {
    pcolTarget->iType = iSource | 0x8000;
  } else if (iType >= 16 && iType <= 18) {
    int32_t iTarget = iSource | 0x8000;
    /* location specifiers name places in LOB files: without LOBFILE, as in DEL, the LOBs stay in the rows */
    if (_ctrluAtom(ptaskEcs, TOKEN_LOBFILE) != nullptr) {
      iTarget |= 0x0400;
      if (_ctrluInteger(ptaskEcs, TOKEN_LLS, 0) == 1) iTarget |= 0x0100;
    }
    pcolTarget->iType = iTarget;
  }
  if (!iDirect) pcolSource->iType |= 0xD000;
  return 0;
}

int zorcontrolUdbEcs(zorcontrol *pcontrol, zortask *ptaskEcs, int iFormat, int iLast, int iFirst, int iDirect)
{
  (void)iLast;
  (void)iFirst;
  omsgsTrace("Controle des ECS ...\n");
  zorcol *pcolSource = _ctrluColumn(ptaskEcs, TOKEN_SOURCECOL);
  if (pcolSource != nullptr && (pcolSource->usFlags & ZORCOL_NULL)) pcolSource->iType |= 0x0800;
  switch (iFormat) {
    case 11:
      _zorcontrolUdbCheckEcsIxf(pcontrol, ptaskEcs, iDirect);
      omsgsTrace("Verif ECS ixf OK\n");
      break;
    case 1:
    case 13:
      _zorcontrolUdbCheckEcsDelimited(pcontrol, ptaskEcs, iDirect);
      omsgsTrace("Verif ECS delimited OK\n");
      break;
    default:
      break;
  }
  return 0;
}

int zorcontrolSortEcs(const void *pptaskA, const void *pptaskB)
{
  zortask *ptaskA = *static_cast<zortask *const *>(pptaskA);
  zortask *ptaskB = *static_cast<zortask *const *>(pptaskB);
  zorcol *pcolA = _ctrluColumn(ptaskA, TOKEN_COL);
  zorcol *pcolB = _ctrluColumn(ptaskB, TOKEN_COL);
  int32_t iA = pcolA != nullptr ? pcolA->iNumber : 0;
  int32_t iB = pcolB != nullptr ? pcolB->iNumber : 0;
  return iA < iB ? -1 : (iA > iB ? 1 : 0);
}

/* ------------------------------------------------------------ long columns */

/* The first output-column task of the SELECT, NULL when none. */
static zortask *_ctrluFirstEcs(zortask *ptaskSelect)
{
  return ptaskSelect->pchaineSubTasks != nullptr ? static_cast<zortask *>(ptaskSelect->pchaineSubTasks->pitemTop)
                                                 : nullptr;
}

int zorcontrolUdbDetectLongColums(zorcontrol *pcontrol, zortask *ptaskSelect)
{
  (void)pcontrol;
  int32_t iLong = 0;
  for (zortask *ptask = _ctrluFirstEcs(ptaskSelect); ptask != nullptr; ptask = ptask->ptaskNext) {
    zorcol *pcol = _ctrluColumn(ptask, TOKEN_SOURCECOL);
    if (pcol == nullptr) continue;
    int iType = pcol->iType & 0xFF;
    if (iType == 9 || iType == 15) iLong |= 2;
    if (iType >= 16 && iType <= 18) iLong |= 1;
  }
  int rc = _ctrluAdd(ptaskSelect, zoratomCreate(_ctrluName(TOKEN_LONGCOL), ZORATOM_INTEGER, ZORATOM_BORROWED,
                                                static_cast<uintptr_t>(iLong), nullptr, nullptr));
  statsTimeTrace("Long columns");
  return rc;
}

/* ------------------------------------------------------ record-end column */

/*
** The record converters of a DEL file in UTF-16: UTF-8 (the code page of
** the rows) to UTF-16, and UTF-16 to ICU's ibm-1200, which writes the
** units high byte first and no byte-order mark.  Both replace what they
** cannot convert (a byte sequence of bit data that is not UTF-8) and count
** it.  Returns 0, or ZORCTRLU_RC_CONVERTER after ZORU360E.
*/
static int _ctrluOpenRecordConverters(zorucoreData *pcore)
{
  const struct {
    const char *pcName;
    uint16_t usCCSID;
    UConverter **ppconv;
  } aOpen[] = {{"ibm-1208", 1208, &pcore->pconvToUtf16}, {"ibm-1200", 1200, &pcore->pconvFromUtf16}};
  auto closeBoth = [pcore]() {
    ucnv_close(pcore->pconvToUtf16);
    ucnv_close(pcore->pconvFromUtf16);
    pcore->pconvToUtf16 = pcore->pconvFromUtf16 = nullptr;
  };
  for (const auto &o : aOpen) {
    UErrorCode err = U_ZERO_ERROR;
    *o.ppconv = ucnv_open(o.pcName, &err);
    if (U_FAILURE(err) || *o.ppconv == nullptr) {
      omsgsTrace("RC ucnv_open %s = %d : %s\n", o.pcName, static_cast<int>(err), u_errorName(err));
      closeBoth();
      omsgsFMTEDO(ZORU360E, o.usCCSID);
      return ZORCTRLU_RC_CONVERTER;
    }
  }
  if (zorucoreCountReplaced(pcore->pconvToUtf16, pcore->pconvFromUtf16) != 0) {
    closeBoth();
    return ZORCTRLU_RC_CONVERTER;
  }
  return 0;
}

int zorcontrolUdbInsertProEpilogue(zorcontrol *pcontrol, zortask *ptaskSelect, int iFormat)
{
  (void)pcontrol;
  zoratom *patomCr = _ctrluOwnAtom(ptaskSelect, TOKEN_CR);
  if (patomCr == nullptr || patomCr->iKind != ZORATOM_OCHAR || patomCr->value.pchar == nullptr) return 0;
  const ochar *pcharCr = patomCr->value.pchar;

  zornode *pnode = zornodeCreateLitteral(pcharCr, nullptr, nullptr);
  if (pnode == nullptr) return ORC_NOMEM;
  zorcol *pcolSource = zorcolCreate(nullptr, 0, pnode, 16);
  if (pcolSource == nullptr) {
    zornodeDestroy(pnode);
    return ORC_NOMEM;
  }
  pcolSource->iType = 78;
  pcolSource->sCCSID = static_cast<int16_t>(pcharCr->usCCSID);
  pcolSource->iSubType = pcharCr->ilBU;
  pcolSource->iLength = pcharCr->ilBU;

  zortask *ptask = zortaskCreateNamed(_ctrluName(TOKEN_ECSTASK));
  if (ptask == nullptr) {
    zorcolDestroy(pcolSource);
    return ORC_NOMEM;
  }
  int rc = _ctrluAdd(ptask, zoratomCreate(_ctrluName(TOKEN_SOURCECOL), ZORATOM_ZORCOL, 0,
                                          reinterpret_cast<uintptr_t>(pcolSource), nullptr, nullptr));
  if (rc != 0) zorcolDestroy(pcolSource);
  zorcol *pcolTarget = rc == 0 ? zorcolClone(pcolSource) : nullptr;
  if (pcolTarget != nullptr) {
    pcolTarget->iType = 0xB000;
    rc = _ctrluAdd(ptask, zoratomCreate(_ctrluName(TOKEN_COL), ZORATOM_ZORCOL, 0,
                                        reinterpret_cast<uintptr_t>(pcolTarget), nullptr, nullptr));
    if (rc != 0) zorcolDestroy(pcolTarget);
  } else if (rc == 0) {
    rc = ORC_NOMEM;
  }
  if (rc == 0) {
    zorucoreData *pcore = zorucoreDataCreate();
    if (pcore == nullptr || (pcore->pcharConstant = ocharClone(pcharCr)) == nullptr) {
      std::free(pcore);
      rc = ORC_NOMEM;
    } else if ((iFormat == 13 || iFormat == 1) && _ctrluRowCodePage(ptaskSelect) != _ctrluMixed(ptaskSelect) &&
               (rc = _ctrluOpenRecordConverters(pcore)) != 0) {
      zorucoreDataDestroy(pcore);
      std::free(pcore);
    } else {
      zoratom *patom = zoratomCreate(_ctrluName(TOKEN_COREDATA), ZORATOM_COREDATA, 0,
                                     reinterpret_cast<uintptr_t>(pcore), nullptr, nullptr);
      if (patom == nullptr) {
        zorucoreDataDestroy(pcore);
        std::free(pcore);
        rc = ORC_NOMEM;
      } else {
        rc = _ctrluAdd(ptask, patom);
      }
    }
  }
  if (rc == 0) rc = zortaskAddSubTask(ptaskSelect, ptask);
  if (rc != 0) {
    zortaskDestroy(ptask);
    return rc;
  }
  statsTimeTrace("Record-end column");
  return 0;
}

/* ------------------------------------------------------------- converters */

int _zorcontrolUdbOpenConverters(zorucoreData *pcore, uint16_t usSourceCCSID, uint16_t usTargetCCSID)
{
  int rc = 0;
  char acName[32];
  UErrorCode err = U_ZERO_ERROR;

  if (usSourceCCSID == 1202) {
    omsgsTrace("Bypass from converter: Source is already in UTF16\n");
  } else {
    omsgsTrace("Ouverture du converteur pour le CCSID IN %d ...\n", usSourceCCSID);
    if (usSourceCCSID == 13488)
      std::snprintf(acName, sizeof acName, "UTF-16BE");
    else
      std::snprintf(acName, sizeof acName, "ibm-%i", usSourceCCSID);
    UConverter *pconv = ucnv_open(acName, &err);
    if (U_SUCCESS(err) && pconv != nullptr) {
      pcore->pconvToUtf16 = pconv;
      omsgsTrace("Ouverture du converteur pour le CCSID IN %d OK\n", usSourceCCSID);
    } else {
      omsgsTrace("RC ucnv_open IN = %d : %s\n", static_cast<int>(err), u_errorName(err));
      pcore->pconvToUtf16 = nullptr;
      omsgsFMTEDO(ZORU360E, usSourceCCSID);
      rc = ZORCTRLU_RC_CONVERTER;
    }
  }

  if (usTargetCCSID == 1200) {
    omsgsTrace("Bypass from converter: target is UTF16\n");
  } else {
    err = U_ZERO_ERROR;
    omsgsTrace("Ouverture du converteur pour le CCSID OUT %d ...\n", usTargetCCSID);
    std::snprintf(acName, sizeof acName, "ibm-%i", usTargetCCSID);
    UConverter *pconv = ucnv_open(acName, &err);
    if (U_SUCCESS(err) && pconv != nullptr) {
      pcore->pconvFromUtf16 = pconv;
      omsgsTrace("Ouverture du converteur pour le CCSID OUT %d OK\n", usTargetCCSID);
    } else {
      omsgsTrace("RC ucnv_open OUT = %d : %s\n", static_cast<int>(err), u_errorName(err));
      pcore->pconvFromUtf16 = nullptr;
      omsgsFMTEDO(ZORU360E, usTargetCCSID);
      rc = ZORCTRLU_RC_CONVERTER;
    }
  }
  /* what cannot be converted is replaced, and counted for the end of the SELECT */
  if (rc == 0 && zorucoreCountReplaced(pcore->pconvToUtf16, pcore->pconvFromUtf16) != 0) rc = ZORCTRLU_RC_CONVERTER;
  return rc;
}

/* -------------------------------------------------------------- core data */

/* Loads a copy of the catalogue default text into a buffer of 3n + 9 bytes. */
static int _ctrluLoadDefault(zorucoreData *pcore, const zorcol *pcolSource)
{
  std::free(pcore->pcDefault);
  pcore->pcDefault = nullptr;
  pcore->sDefaultLength = 0;
  const ochar *pchar = pcolSource->pcharDefault;
  if (pchar == nullptr || pchar->pcData == nullptr || pchar->ilBU <= 0) return 0;
  int32_t ilLength = pchar->ilBU > INT16_MAX ? INT16_MAX : pchar->ilBU;
  pcore->pcDefault = static_cast<char *>(std::calloc(1, 3 * static_cast<size_t>(ilLength) + 9));
  if (pcore->pcDefault == nullptr) return ORC_NOMEM;
  std::memcpy(pcore->pcDefault, _charText(pchar), static_cast<size_t>(ilLength));
  pcore->sDefaultLength = static_cast<int16_t>(ilLength);
  return 0;
}

/*
** The value a CHAR or GRAPHIC column holds for its catalogue default: the
** quoted text (after the G or N of a graphic constant) blank-padded, or
** cut, to the column's length inside its quotes.  The catalogue keeps the
** DEFAULT text as the table was declared with it.  NULL when memory runs
** out; a text that is not quoted is copied as it is.
*/
static ochar *_ctrluFixedDefault(const ochar *pcharDefault, int32_t ilLength, bool boGraphic)
{
  std::string strText(_charText(pcharDefault), static_cast<size_t>(pcharDefault->ilBU));
  size_t ulPrefix = boGraphic && !strText.empty() && std::strchr("GgNn", strText[0]) != nullptr ? 1 : 0;
  if (strText.size() >= ulPrefix + 2 && strText[ulPrefix] == '\'' && strText.back() == '\'') {
    /* the value between the quotes, a doubled quote standing for one */
    std::string strValue;
    for (size_t i = ulPrefix + 1; i + 1 < strText.size(); i++) {
      strValue += strText[i];
      if (strText[i] == '\'' && strText[i + 1] == '\'' && i + 2 < strText.size()) i++;
    }
    strValue.resize(static_cast<size_t>(ilLength > 0 ? ilLength : 0), ' ');
    std::string strQuoted = strText.substr(0, ulPrefix + 1);
    for (char c : strValue) strQuoted += c == '\'' ? std::string(2, c) : std::string(1, c);
    strText = strQuoted + "'";
  }
  ochar *pchar = ocharCreate(static_cast<int32_t>(strText.size()) + 1, pcharDefault->usCCSID);
  if (pchar != nullptr && ocharAppendFixedS(pchar, strText.data(), static_cast<int32_t>(strText.size())) != 0) {
    ocharDestroy(pchar);
    pchar = nullptr;
  }
  return pchar;
}

/* The output form of the default value, by source type and output format. */
static void _ctrluDefaultForm(zorucoreData *pcore, zortask *ptaskEcs, const zorcol *pcolSource,
                              const zorcol *pcolTarget)
{
  if (pcolSource->pcharDefault == nullptr || pcore->pcDefault == nullptr) return;
  int iType = pcolSource->iType & 0xFF;
  /* CHAR and GRAPHIC defaults as the fixed-length column holds them */
  ochar *pcharFixed = nullptr;
  if (iType == 7 || iType == 13) {
    pcharFixed = _ctrluFixedDefault(pcolSource->pcharDefault, pcolSource->iLength, iType == 13);
    if (pcharFixed == nullptr) return;
  }
  const ochar *pcharDefault = pcharFixed != nullptr ? pcharFixed : pcolSource->pcharDefault;
  int32_t iBase = pcolTarget->iType & 0xF000;
  uint16_t usSourceCCSID = static_cast<uint16_t>(pcolSource->sCCSID);
  uint16_t usTargetCCSID = static_cast<uint16_t>(pcolTarget->sCCSID);
  bool boFits = pcharDefault->ilBU >= pcore->sTemplateLength + 2;

  if (iBase == 0xB000) {
    switch (iType) {
      case 7: case 8: case 9: case 16: case 17:
        _zorcontrolUdbDefaultDelText(pcore, pcharDefault, iType == 16 ? 0 : usTargetCCSID,
                                     (pcolTarget->iType & 0x0500) == 0x0100);
        break;
      case 10: if (pcore->pcTemplate != nullptr) _zorcontrolUdbDefaultDelDate(pcore, pcharDefault, ptaskEcs); break;
      case 11:
        if (pcore->pcTemplate != nullptr && boFits) _zorcontrolUdbDefaultDelTime(pcore, pcharDefault, ptaskEcs);
        break;
      case 12:
        if (pcore->pcTemplate != nullptr && boFits) _zorcontrolUdbDefaultDelTmsp(pcore, pcharDefault, ptaskEcs);
        break;
      case 13: _zorcontrolUdbDefaultDelGraph(pcore, pcharDefault, usTargetCCSID); break;
      case 14: case 15: case 18: _zorcontrolUdbDefaultDelVargraph(pcore, pcharDefault, usTargetCCSID); break;
      default: break;
    }
  } else if (iBase == 0x8000) {
    switch (iType) {
      case 1: _zorcontrolUdbDefaultIxfSmall(pcore, pcharDefault); break;
      case 2: _zorcontrolUdbDefaultIxfInt(pcore, pcharDefault); break;
      case 4: _zorcontrolUdbDefaultIxfDbl(pcore, pcharDefault); break;
      case 5: _zorcontrolUdbDefaultIxfReal(pcore, pcharDefault); break;
      case 6: _zorcontrolUdbDefaultIxfBig(pcore, pcharDefault); break;
      case 7: _zorcontrolUdbDefaultIxfChar(pcore, pcharDefault); break;
      case 8: case 9: _zorcontrolUdbDefaultIxfVarchar(pcore, pcharDefault); break;
      case 10: case 11: case 12: _zorcontrolUdbDefaultIxfDatetime(pcore, pcharDefault); break;
      case 13: _zorcontrolUdbDefaultIxfGraph(pcore, pcharDefault, usSourceCCSID); break;
      case 14: case 15: _zorcontrolUdbDefaultIxfVargraph(pcore, pcharDefault, usSourceCCSID); break;
      case 16: case 17: _zorcontrolUdbDefaultIxfClob(pcore, pcharDefault); break;
      case 18: _zorcontrolUdbDefaultIxfDbclob(pcore, pcharDefault, usSourceCCSID); break;
      default: break;
    }
  }
  ocharDestroy(pcharFixed);
}

int _zorcontrolUdbCreateEcsCoreData(zorcontrol *pcontrol, zortask *ptaskEcs, int iFirst)
{
  (void)pcontrol;
  zorucoreData *pcore = _ctrluCore(ptaskEcs);
  zorcol *pcolSource = _ctrluColumn(ptaskEcs, TOKEN_SOURCECOL);
  zorcol *pcolTarget = _ctrluColumn(ptaskEcs, TOKEN_COL);
  if (pcore == nullptr || pcolSource == nullptr || pcolTarget == nullptr) return ORC_INVALID;
  omsgsTrace("Creation coredata_tk pour colonne %d ...\n", pcolSource->iNumber);

  /* flags */
  if (iFirst)
    pcore->ulFlags &= ~ZORUCORE_FLAG_SEP;
  else
    pcore->ulFlags |= ZORUCORE_FLAG_SEP;
  pcore->ulFlags &= ~ZORUCORE_FLAG_NULLTEXT;

  /* separator, NULL texts, decimal point */
  int rc = _ctrluCopyString(&pcore->charSep, _ctrluString(ptaskEcs, TOKEN_SEP));
  if (rc != 0) return rc;
  zoratom *patomNull = _ctrluAtom(ptaskEcs, TOKEN_NULL);
  if (patomNull != nullptr && patomNull->iKind == ZORATOM_DBLCHAR) {
    pcore->apcharNull[0] = patomNull->value.pchar;
    pcore->apcharNull[1] = patomNull->value2.pchar;
  } else {
    pcore->apcharNull[0] = pcore->apcharNull[1] = nullptr;
  }
  rc = _ctrluCopyString(&pcore->charDecimal, _ctrluString(ptaskEcs, TOKEN_DECIMAL));
  if (rc != 0) return rc;

  /* default value */
  rc = _ctrluLoadDefault(pcore, pcolSource);
  if (rc != 0) return rc;

  /* converters */
  uint16_t usSourceCCSID = static_cast<uint16_t>(pcolSource->sCCSID);
  uint16_t usTargetCCSID = static_cast<uint16_t>(pcolTarget->sCCSID);
  if (_ctrluIsCodePage(usSourceCCSID) && _ctrluIsCodePage(usTargetCCSID) && usSourceCCSID != usTargetCCSID) {
    pcore->pconvToUtf16 = nullptr;
    pcore->pconvFromUtf16 = nullptr;
    if (_zorcontrolUdbOpenConverters(pcore, usSourceCCSID, usTargetCCSID) == 0) {
      if (pcore->pconvToUtf16 != nullptr || pcore->pconvFromUtf16 != nullptr) pcolTarget->iType |= 0x0200;
    } else {
      /* a column that cannot be converted is not written unconverted: the SELECT fails */
      ucnv_close(pcore->pconvToUtf16);
      ucnv_close(pcore->pconvFromUtf16);
      pcore->pconvToUtf16 = nullptr;
      pcore->pconvFromUtf16 = nullptr;
      omsgsFMTEDO(ZORU471E, _ctrluColName(pcolSource).c_str(), static_cast<int>(usSourceCCSID),
                  static_cast<int>(usTargetCCSID));
      return ZORCTRLU_RC_CONVERTER;
    }
  }
  /* graphic text is doubled only once converted into the output code page: raw double-byte text is not */
  int iSourceType = pcolSource->iType & 0xFF;
  if ((pcolTarget->iType & 0xF000) == 0xB000 && (pcolTarget->iType & 0x0600) == 0 &&
      (iSourceType == 13 || iSourceType == 14 || iSourceType == 15 || iSourceType == 18))
    pcolTarget->iType &= ~0x0100;

  /* delimiter */
  const ochar *pcharDelim = _ctrluString(ptaskEcs, TOKEN_DELIM);
  rc = _ctrluCopyString(&pcore->charDelim, pcharDelim);
  if (rc != 0) return rc;
  /* already in the output code page (zorcontrolUdbDelCodePage): the first byte as it stands */
  if (pcore->charDelim.pcData != nullptr && pcore->charDelim.ilBU > 0) pcore->cDelim = _charText(&pcore->charDelim)[0];

  /* templates, default value, sign */
  int iType = pcolSource->iType & 0xFF;
  const ochar *pcharDateDelim = _ctrluString(ptaskEcs, TOKEN_DATEDELIM);
  const ochar *pcharTimeDelim = _ctrluString(ptaskEcs, TOKEN_TIMEDELIM);
  if (iType == 10)
    rc = _zorcontrolUdbDateTemplate(pcore, ptaskEcs, pcharDateDelim);
  else if (iType == 11)
    rc = _zorcontrolUdbTimeTemplate(pcore, ptaskEcs, pcharTimeDelim);
  else if (iType == 12)
    rc = _zorcontrolUdbTimestampTemplate(pcore, ptaskEcs, pcharDateDelim, pcharTimeDelim);
  if (rc == ORC_NOMEM) return rc;
  _ctrluDefaultForm(pcore, ptaskEcs, pcolSource, pcolTarget);
  if (iType == 3) {
    const ochar *pcharSign = nullptr;
    ochar charPlus{}, charBlank{};
    charPlus.pcData = const_cast<char *>("+"), charPlus.ilBU = 1, charPlus.usCCSID = OCHAR_CCSID_ASCII;
    charBlank.pcData = const_cast<char *>(" "), charBlank.ilBU = 1, charBlank.usCCSID = OCHAR_CCSID_ASCII;
    pcharSign = &charPlus;
    zoratom *patomPic = _ctrluAtom(ptaskEcs, TOKEN_PIC);
    if (patomPic != nullptr && patomPic->iKind == ZORATOM_INTEGER) {
      pcore->iPic = patomPic->value.iValue;
      if (pcore->iPic & 0x100)
        pcharSign = &charPlus;
      else if (pcore->iPic & 0x200)
        pcharSign = &charBlank;
      else if (pcore->iPic & 0x400)
        pcharSign = _ctrluString(ptaskEcs, TOKEN_PADDING);
    } else {
      pcore->iPic = 0;
    }
    rc = _ctrluCopyString(&pcore->charSignPlus, pcharSign);
    if (rc != 0) return rc;
    omsgsTrace("PIC = %d\n", pcore->iPic);
    omsgsTrace("pucoreDataEcs->charSignPlus = %c\n",
               pcore->charSignPlus.pcData != nullptr ? _charText(&pcore->charSignPlus)[0] : ' ');
  }

  /* delimiters on */
  pcore->ulFlags |= ZORUCORE_FLAG_DELIM;
  omsgsTrace("Creation coredata_tk pour colonne %d OK\n", pcolSource->iNumber);
  omsgsTrace("type entree = %d \t\t type sortie = %d\n", pcolSource->iType, pcolTarget->iType);
  return 0;
}

int zorcontrolUdbCreateCoreData(zorcontrol *pcontrol, zortask *ptaskSelect)
{
  omsgsTrace("Debut creation coredata...\n");
  zorucoreData *pcore = zorucoreDataCreate();
  if (pcore == nullptr) return ORC_NOMEM;

  int32_t ilMax = 0;
  for (zortask *ptask = _ctrluFirstEcs(ptaskSelect); ptask != nullptr; ptask = ptask->ptaskNext) {
    zorcol *pcol = _ctrluColumn(ptask, TOKEN_SOURCECOL);
    if (pcol == nullptr) continue;
    int32_t ilLength = pcol->iLength > ZORCTRLU_MAX_WORK ? ZORCTRLU_MAX_WORK : pcol->iLength;
    if (ilLength > ilMax) ilMax = ilLength;
  }
  pcore->ulWorkSize = 4u * static_cast<uint32_t>(ilMax);
  omsgsTrace("taille puocreData->pcWorkBuffer = %d\n", static_cast<int>(pcore->ulWorkSize));
  pcore->pcWorkBuffer = static_cast<char *>(std::malloc(pcore->ulWorkSize > 0 ? pcore->ulWorkSize : 1));
  zoratom *patomSelect = pcore->pcWorkBuffer != nullptr
                             ? zoratomCreate(_ctrluName(TOKEN_COREDATA), ZORATOM_COREDATA, 0,
                                             reinterpret_cast<uintptr_t>(pcore), nullptr, nullptr)
                             : nullptr;
  if (patomSelect == nullptr || zortaskAddAtom(ptaskSelect, patomSelect) != 0) {
    /* the work buffer is shared and never freed by the record */
    std::free(pcore->pcWorkBuffer);
    if (patomSelect != nullptr) {
      patomSelect->value.pcoreData = nullptr;
      zoratomDestroy(patomSelect);
    }
    zorucoreDataDestroy(pcore);
    std::free(pcore);
    return ORC_NOMEM;
  }
  omsgsTrace("Creation coredata_tk au niveau select OK\n");

  int rcAll = 0;
  zortask *ptaskFirst = _ctrluFirstEcs(ptaskSelect);
  for (zortask *ptask = ptaskFirst; ptask != nullptr; ptask = ptask->ptaskNext) {
    if (_ctrluOwnAtom(ptask, TOKEN_COREDATA) != nullptr || _ctrluColumn(ptask, TOKEN_SOURCECOL) == nullptr) continue;
    int rc = _ctrluAdd(ptask, zoratomClone(patomSelect));
    if (rc == 0) rc = _zorcontrolUdbCreateEcsCoreData(pcontrol, ptask, ptask == ptaskFirst);
    if (rc != 0 && rcAll == 0) rcAll = rc;
  }
  if (rcAll != 0) return rcAll;
  omsgsTrace("Creation tous les coredata_tk OK\n");
  statsTimeTrace("Core data");
  return 0;
}
