/*
** ocnvft.cpp
**   Code pages and conversion of string objects through ICU: the global
**   conversion context, its cache of converter pairs, and the locale,
**   code-set, mixed-CCSID and substitute tables.  Contracts are in ocnvft.h.
**
**   A pair is converted in two ICU steps through UTF-16: source -> UChar with
**   the source converter, UChar -> target with the target converter.  A side
**   that is UTF-16 in the machine's order needs no converter (1202 for
**   ocnvftConvert, 1200 for ocnvftGetConverter).  A pair for which a needed
**   converter cannot be opened gets an entry of kind 0, so that ZORI006E is
**   issued once and later conversions fail at once.
*/
#include "common/ocnvft.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <unicode/ustring.h>
#include <unicode/utypes.h>

#include "common/ochar.h"
#include "common/odict.h"

#define OMSGS_TRACE_KEYWORD "$CNVFT"
#define OMSGS_DEBUG_KEYWORD "$CNVFTD"
#include "common/omsgsmod.h"

ocnvft *gpcnvft = nullptr;

/*
** Locale names and their CCSIDs.  Platform bit 2 is the one this system asks
** for; the few rows of other platforms are kept for reference only.
*/
const ocnvftLocale gaLocaleFinder[] = {
    {1252, 0, "en_US", 1},
    {850, 0, "En_US", 4},
    {1051, 0, "en_US.roman8", 8},
    {819, 1200, "en_US", 2},
    {819, 1200, "de_AT", 2},
    {819, 1200, "nl_BE", 2},
    {819, 1200, "pt_BR", 2},
    {819, 1200, "en_CA", 2},
    {819, 1200, "da_DK", 2},
    {819, 1200, "fi_FI", 2},
    {819, 1200, "fr_FR", 2},
    {819, 1200, "de_DE", 2},
    {819, 1200, "is_IS", 2},
    {819, 1200, "en_IE", 2},
    {819, 1200, "it_IT", 2},
    {819, 1200, "nl_NL", 2},
    {819, 1200, "no_NO", 2},
    {819, 1200, "pt_PT", 2},
    {819, 1200, "es_ES", 2},
    {819, 1200, "sv_SE", 2},
    {819, 1200, "de_CH", 2},
    {819, 1200, "en_GB", 2},
    {923, 1200, "en_US.iso885915", 2},
    {923, 1200, "sq_AL.iso885915", 2},
    {923, 1200, "en_AU.iso885915", 2},
    {923, 1200, "ge_AT.iso885915", 2},
    {923, 1200, "be_BY.iso885915", 2},
    {923, 1200, "nt_BE.iso885915", 2},
    {923, 1200, "fr_BE.iso885915", 2},
    {923, 1200, "pt_BR.iso885915", 2},
    {923, 1200, "en_CA.iso885915", 2},
    {923, 1200, "fr_CA.iso885915", 2},
    {923, 1200, "da_DK.iso885915", 2},
    {923, 1200, "fi_FI.iso885915", 2},
    {923, 1200, "fr_FR.iso885915", 2},
    {923, 1200, "de_DE.iso885915", 2},
    {923, 1200, "is_IS.iso885915", 2},
    {923, 1200, "en_IE.iso885915", 2},
    {923, 1200, "it_IT.iso885915", 2},
    {923, 1200, "nl_NL.iso885915", 2},
    {923, 1200, "en_NZ.iso885915", 2},
    {923, 1200, "no_NO.iso885915", 2},
    {923, 1200, "pt_PT.iso885915", 2},
    {923, 1200, "en_ZA.iso885915", 2},
    {923, 1200, "es_ES.iso885915", 2},
    {923, 1200, "sv_SE.iso885915", 2},
    {923, 1200, "de_CH.iso885915", 2},
    {923, 1200, "fr_CH.iso885915", 2},
    {923, 1200, "it_CH.iso885915", 2},
    {923, 1200, "en_GB.iso885915", 2},
    {1208, 1200, "SQ_AL", 2},
    {1208, 1200, "AR_AA", 2},
    {1208, 1200, "EN_AU", 2},
    {1208, 1200, "GE_AT", 2},
    {1208, 1200, "BE_BY", 2},
    {1208, 1200, "FR_BE", 2},
    {1208, 1200, "NL_BE", 2},
    {1208, 1200, "BG_BG", 2},
    {1208, 1200, "PT_BR", 2},
    {1208, 1200, "EN_CA", 2},
    {1208, 1200, "FR_CA", 2},
    {1208, 1200, "ZH_CN", 2},
    {1208, 1200, "HR_HR", 2},
    {1208, 1200, "CS_CZ", 2},
    {1208, 1200, "DA_DK", 2},
    {1208, 1200, "ET_EE", 2},
    {1208, 1200, "FI_FI", 2},
    {1208, 1200, "MK_MK", 2},
    {1208, 1200, "FR_FR", 2},
    {1208, 1200, "DE_DE", 2},
    {1208, 1200, "EL_GR", 2},
    {1208, 1200, "HU_HU", 2},
    {1208, 1200, "IS_IS", 2},
    {1208, 1200, "EN_IE", 2},
    {1208, 1200, "HE_IL", 2},
    {1208, 1200, "IT_IT", 2},
    {1208, 1200, "JA_JP", 2},
    {1208, 1200, "KO_KR", 2},
    {1208, 1200, "LV_LV", 2},
    {1208, 1200, "LT_LT", 2},
    {1208, 1200, "NL_NL", 2},
    {1208, 1200, "EN_NZ", 2},
    {1208, 1200, "NO_NO", 2},
    {1208, 1200, "PL_PL", 2},
    {1208, 1200, "PT_PT", 2},
    {1208, 1200, "RO_RO", 2},
    {1208, 1200, "SR_SP", 2},
    {1208, 1200, "SK_SK", 2},
    {1208, 1200, "SL_SI", 2},
    {1208, 1200, "EN_ZA", 2},
    {1208, 1200, "ES_ES", 2},
    {1208, 1200, "SV_SE", 2},
    {1208, 1200, "DE_CH", 2},
    {1208, 1200, "FR_CH", 2},
    {1208, 1200, "IT_CH", 2},
    {1208, 1200, "ZH_TW", 2},
    {1208, 1200, "TH_TH", 2},
    {1208, 1200, "TR_TR", 2},
    {1208, 1200, "EN_GB", 2},
    {1208, 1200, "UK_UA", 2},
    {1208, 1200, "VI_VN", 2},
    {912, 1200, "hr_HR", 2},
    {912, 1200, "cs_CZ", 2},
    {912, 1200, "hu_HU", 2},
    {912, 1200, "pl_PL", 2},
    {912, 1200, "ro_RO", 2},
    {912, 1200, "sl_SI", 2},
    {813, 1200, "gr_GR", 2},
    {916, 1200, "iw_IL", 2},
    {915, 1200, "ru_RU", 2},
    {920, 1200, "tr_TR", 2},
    {5050, 5050, "ja_JP", 2},
    {0, 0, nullptr, 0},
};

const ocnvftCodeSet gacodeset2ccsid[] = {
    {"IBM-819", 819}, {"IBM-1252", 1252}, {"UTF-8", 1208}, {"IBM-923", 923}, {"IBM-932", 932},
    {"IBM-934", 934}, {"IBM-943", 943},   {"IBM-949", 949}, {"IBM-950", 950}, {nullptr, 0},
};

const ocnvftMixed gamixedDecomp[] = {
    {934, 891, 926},   {949, 1088, 951},   {1363, 1126, 1362}, {932, 897, 301},   {936, 903, 928},
    {938, 904, 927},   {944, 1040, 926},   {942, 1041, 301},   {943, 897, 941},   {946, 1042, 928},
    {948, 1043, 927},  {950, 1114, 947},   {954, 895, 13488},  {964, 367, 13488}, {970, 367, 971},
    {1381, 1115, 1380}, {1383, 367, 1382}, {1386, 1114, 1385}, {5039, 1041, 1351}, {1208, 1208, 1202},
    {0, 0, 0},
};

const ocnvftSubst gasubstituteCP[] = {
    {941, 943, 943},    {301, 932, 932},    {947, 950, 950},    {951, 949, 949},
    {954, 5050, 5050},  {964, 964, 964},    {971, 970, 970},    {1380, 1381, 1381},
    {1382, 1383, 1383}, {1385, 1386, 1386}, {895, 5050, 5050},  {891, 934, 934},
    {0, 0, 0},
};

namespace {

/* UTF-16 in the machine's order, as the two entry points see it. */
const uint16_t gusNativeConvert = 1202;
const uint16_t gusNativeGet = 1200;

/*
** Every converter ever opened, so that they stay reachable until the process
** ends (entries are freed with their context, converters never are).
*/
UConverter **gapconvOpened = nullptr;
size_t gulOpened = 0, gulOpenedMax = 0;

void _cnvftKeep(UConverter *pconv)
{
  if (gulOpened == gulOpenedMax) {
    size_t ulMax = gulOpenedMax == 0 ? 16 : 2 * gulOpenedMax;
    void *p = std::realloc(gapconvOpened, ulMax * sizeof(UConverter *));
    if (p == nullptr) return;
    gapconvOpened = static_cast<UConverter **>(p);
    gulOpenedMax = ulMax;
  }
  gapconvOpened[gulOpened++] = pconv;
}

bool _cnvftIsSpecial(uint16_t us) { return us == 0 || us == 0xFFFF || us == 0xFFFE; }

void _cnvftConverterDestroy(void *pValue)
{
  ocnvftEntry *pentry = static_cast<ocnvftEntry *>(pValue);
  std::free(pentry->pucWork);
  std::free(pentry);
}

ocnvft *_cnvftMake(char cLetter, unsigned char ucFlag, uint16_t usHostS, uint16_t usHostM, uint16_t usHostD,
                   uint16_t usLocaleS, uint16_t usLocaleM, uint16_t usLocaleD, uint16_t usInternS,
                   uint16_t usInternM, uint16_t usInternD, uint16_t usAppliS, uint16_t usAppliM,
                   uint16_t usAppliD)
{
  ocnvft *pcnvft = static_cast<ocnvft *>(std::calloc(1, sizeof(ocnvft)));
  if (pcnvft == nullptr) return nullptr;
  pcnvft->pdictCache = odictCreate(30, 80);
  if (pcnvft->pdictCache == nullptr) {
    std::free(pcnvft);
    return nullptr;
  }
  pcnvft->pdictCache->procDestroy = _cnvftConverterDestroy;
  pcnvft->ucFlag = ucFlag;
  pcnvft->cLetter = cLetter;
  pcnvft->tripleHost = {usHostS, usHostD, usHostM};
  pcnvft->tripleLocale = {usLocaleS, usLocaleD, usLocaleM};
  pcnvft->tripleInternal = {usInternS, usInternD, usInternM};
  pcnvft->tripleAppli = {usAppliS, usAppliD, usAppliM};
  omsgsTrace("ocnvftCreate\n");
  return pcnvft;
}

/* The given context, else the global one, made with defaults when missing. */
ocnvft *_cnvftContext(ocnvft *pcnvft)
{
  if (pcnvft != nullptr) return pcnvft;
  if (gpcnvft == nullptr)
    gpcnvft = _cnvftMake('A', 0x80, 850, 0, 1200, 850, 0, 1200, 850, 1208, 1200, 850, 0, 0);
  return gpcnvft;
}

/* Copies the source bytes into the target unchanged.  Returns 0 or ORC_NOMEM. */
int _cnvftCopy(const ochar *pcharSource, ochar *pcharTarget)
{
  int32_t ilBU = pcharSource->pcData != nullptr ? pcharSource->ilBU : 0;
  int rc = _charSetBufferSize(pcharTarget, ilBU);
  if (rc != 0) return rc;
  if (ilBU > 0) std::memmove(_charText(pcharTarget), _charText(pcharSource), static_cast<size_t>(ilBU));
  pcharTarget->ilBU = ilBU;
  _charSetLen(pcharTarget, pcharSource->ilL);
  return 0;
}

UConverter *_cnvftOpen(uint16_t usCCSID, bool boNamed13488, UErrorCode *pstatus)
{
  char acName[32];
  if (boNamed13488 && usCCSID == 13488) std::snprintf(acName, sizeof acName, "UTF-16BE");
  else std::snprintf(acName, sizeof acName, "ibm-%hu", usCCSID);
  UConverter *pconv = ucnv_open(acName, pstatus);
  if (U_FAILURE(*pstatus)) return nullptr;
  if (pconv != nullptr) _cnvftKeep(pconv);
  return pconv;
}

/*
** Makes the cache entry of a pair.  usNative is the CCSID that needs no
** converter.  One ICU status serves both opens, so a failed source side
** leaves the target side unopened.  A side that needed a converter and got
** none makes the entry kind 0 (with ZORI006E): converting only half of the
** pair would hand UTF-16 to a caller that asked for another code page.
** Returns the entry, or NULL when memory runs out.
*/
ocnvftEntry *_cnvftMakeEntry(uint16_t usSource, uint16_t usTarget, uint16_t usNative, bool boConvert)
{
  ocnvftEntry *pentry = static_cast<ocnvftEntry *>(std::calloc(1, sizeof(ocnvftEntry)));
  if (pentry == nullptr) return nullptr;
  UErrorCode status = U_ZERO_ERROR;
  bool boMissing = false;
  if (usSource != usNative) {
    pentry->pconvSource = _cnvftOpen(usSource, boConvert, &status);
    if (pentry->pconvSource == nullptr) boMissing = true;
    if (boConvert) {
      if (pentry->pconvSource != nullptr) omsgsTrace("ouverture du convertisseur SourceToUr\n");
      else omsgsTrace("RC ucnv_open depuis source = %d : %s\n", status, u_errorName(status));
    }
  }
  if (usTarget != usNative) {
    pentry->pconvTarget = _cnvftOpen(usTarget, boConvert, &status);
    if (pentry->pconvTarget == nullptr) boMissing = true;
    if (boConvert) {
      if (pentry->pconvTarget != nullptr) omsgsTrace("ouverture du convertisseur UToDest\n");
      else omsgsTrace("RC ucnv_open depuis destination = %d : %s\n", status, u_errorName(status));
    }
  }
  if (boMissing) {
    pentry->ilKind = OCNVFT_KIND_NONE;
    pentry->pconvSource = pentry->pconvTarget = nullptr;
    omsgsFMTEDO(ZORI006E, static_cast<unsigned>(usSource), static_cast<unsigned>(usTarget));
  } else {
    pentry->ilKind = OCNVFT_KIND_ICU;
  }
  return pentry;
}

/* The cached entry of a pair, made when missing; NULL when out of memory. */
ocnvftEntry *_cnvftEntry(ocnvft *pcnvft, uint16_t usSource, uint16_t usTarget, bool boConvert)
{
  uintptr_t ulKey = static_cast<uintptr_t>(usSource) << 16 | usTarget;
  ocnvftEntry *pentry = static_cast<ocnvftEntry *>(odictLoad(pcnvft->pdictCache, ulKey));
  if (pentry != nullptr) return pentry;
  if (boConvert) omsgsTrace("convertion pour les ccsids source : %d et dest : %d\n", usSource, usTarget);
  pentry = _cnvftMakeEntry(usSource, usTarget, boConvert ? gusNativeConvert : gusNativeGet, boConvert);
  if (pentry == nullptr) return nullptr;
  if (odictStore(pcnvft->pdictCache, ulKey, pentry) != 0) {
    _cnvftConverterDestroy(pentry);
    return nullptr;
  }
  return pentry;
}

/* Converts through the entry's ICU converters.  Returns 0, ORC_NOMEM or OCNVFT_RC_ICU. */
int _cnvftIcu(ocnvftEntry *pentry, const ochar *pcharSource, ochar *pcharTarget)
{
  int32_t ilBU = pcharSource->pcData != nullptr ? pcharSource->ilBU : 0;
  const char *pcSource = ilBU > 0 ? _charText(pcharSource) : "";
  UErrorCode status = U_ZERO_ERROR;
  if (pentry->pconvSource != nullptr && pentry->pconvTarget != nullptr) {
    int32_t ilNeed = 2 * ilBU;
    if (pentry->pucWork == nullptr || pentry->ilWorkSize < ilNeed) {
      std::free(pentry->pucWork);
      pentry->ilWorkSize = std::max(ilNeed, 128);
      pentry->pucWork = static_cast<UChar *>(std::malloc(static_cast<size_t>(pentry->ilWorkSize)));
      if (pentry->pucWork == nullptr) {
        pentry->ilWorkSize = 0;
        return ORC_NOMEM;
      }
    }
    int32_t ilUnits = ucnv_toUChars(pentry->pconvSource, pentry->pucWork, pentry->ilWorkSize / 2, pcSource,
                                    ilBU, &status);
    if (U_FAILURE(status)) {
      omsgsTrace("RC ucnv_toUChars OUT = %d : %s\n", status, u_errorName(status));
      return OCNVFT_RC_ICU;
    }
    _charSetBufferSize(pcharTarget, ucnv_getMaxCharSize(pentry->pconvTarget) * ilBU);
    int32_t ilOut = ucnv_fromUChars(pentry->pconvTarget, _charText(pcharTarget), pcharTarget->ilBT,
                                    pentry->pucWork, ilUnits, &status);
    pcharTarget->ilBU = std::min(ilOut, pcharTarget->ilBT);
    _charSetLen(pcharTarget, std::min(ilUnits, pcharTarget->ilBU));
    if (U_FAILURE(status)) {
      omsgsTrace("RC ucnv_fromUChars OUT = %d : %s\n", status, u_errorName(status));
      return OCNVFT_RC_ICU;
    }
    _charSetLen(pcharTarget, ilUnits);
    return 0;
  }
  if (pentry->pconvSource != nullptr) {
    /* The target is UTF-16 in the machine's order. */
    _charSetBufferSize(pcharTarget, 2 * ilBU);
    int32_t ilUnits = ucnv_toUChars(pentry->pconvSource, reinterpret_cast<UChar *>(_charText(pcharTarget)),
                                    pcharTarget->ilBT / 2, pcSource, ilBU, &status);
    ilUnits = std::min(ilUnits, pcharTarget->ilBT / 2);
    pcharTarget->ilBU = 2 * ilUnits;
    _charSetLen(pcharTarget, ilUnits);
    if (U_FAILURE(status)) {
      omsgsTrace("RC ucnv_ToUChars OUT = %d : %s\n", status, u_errorName(status));
      return OCNVFT_RC_ICU;
    }
    return 0;
  }
  /* The source is UTF-16 in the machine's order: its whole units, never past BU. */
  _charSetBufferSize(pcharTarget, ucnv_getMaxCharSize(pentry->pconvTarget) * ilBU);
  int32_t ilOut = ucnv_fromUChars(pentry->pconvTarget, _charText(pcharTarget), pcharTarget->ilBT,
                                  reinterpret_cast<const UChar *>(pcSource), ilBU / 2, &status);
  pcharTarget->ilBU = std::min(ilOut, pcharTarget->ilBT);
  _charSetLen(pcharTarget, std::min(pcharSource->ilL, pcharTarget->ilBU));
  if (U_FAILURE(status)) {
    omsgsTrace("RC ucnv_fromUChars OUT = %d : %s\n", status, u_errorName(status));
    return OCNVFT_RC_ICU;
  }
  _charSetLen(pcharTarget, pcharSource->ilL);
  return 0;
}

}  // namespace

/* ----------------------------------------------------------------- contexts */

int ocnvftCreateGlobal(void *pIgnored, char cLetter, unsigned char ucFlag, uint16_t usHostS, uint16_t usHostM,
                       uint16_t usHostD, uint16_t usLocaleS, uint16_t usLocaleM, uint16_t usLocaleD,
                       uint16_t usInternS, uint16_t usInternM, uint16_t usInternD, uint16_t usAppliS,
                       uint16_t usAppliM, uint16_t usAppliD)
{
  (void)pIgnored;
  ocnvftDestroy(gpcnvft);
  gpcnvft = _cnvftMake(cLetter, ucFlag, usHostS, usHostM, usHostD, usLocaleS, usLocaleM, usLocaleD, usInternS,
                       usInternM, usInternD, usAppliS, usAppliM, usAppliD);
  return gpcnvft != nullptr ? 0 : OCNVFT_RC_NOCONTEXT;
}

ocnvft *ocnvftCreate(void *pIgnored, char cLetter, unsigned char ucFlag, uint16_t usHostS, uint16_t usHostM,
                     uint16_t usHostD, uint16_t usLocaleS, uint16_t usLocaleM, uint16_t usLocaleD,
                     uint16_t usInternS, uint16_t usInternM, uint16_t usInternD, uint16_t usAppliS,
                     uint16_t usAppliM, uint16_t usAppliD)
{
  (void)pIgnored;
  return _cnvftMake(cLetter, ucFlag, usHostS, usHostM, usHostD, usLocaleS, usLocaleM, usLocaleD, usInternS,
                    usInternM, usInternD, usAppliS, usAppliM, usAppliD);
}

void ocnvftDestroy(ocnvft *pcnvft)
{
  if (pcnvft == nullptr) return;
  odictDestroy(pcnvft->pdictCache);
  if (pcnvft == gpcnvft) gpcnvft = nullptr;
  std::free(pcnvft);
}

void ocnvftSetExternal(ocnvft *pcnvft, uint16_t usSBCS, uint16_t usMixed, uint16_t usDBCS)
{
  if (pcnvft == nullptr) pcnvft = gpcnvft;
  if (pcnvft == nullptr) return;
  pcnvft->tripleExternal = {usSBCS, usDBCS, usMixed};
}

void ocnvftSetDB(ocnvft *pcnvft, uint16_t usCCSID)
{
  if (pcnvft == nullptr) pcnvft = gpcnvft;
  if (pcnvft == nullptr) return;
  pcnvft->usDbCCSID = usCCSID;
}

/* --------------------------------------------------------------- conversion */

int ocnvftConvert(ocnvft *pcnvft, const ochar *pcharSource, ochar *pcharTarget)
{
  if (pcharSource == nullptr || pcharTarget == nullptr) return ORC_INVALID;
  pcnvft = _cnvftContext(pcnvft);
  if (pcnvft == nullptr) return OCNVFT_RC_NOCONTEXT;
  uint16_t usSource = pcharSource->usCCSID, usTarget = pcharTarget->usCCSID;
  if (usSource == usTarget || _cnvftIsSpecial(usSource) || _cnvftIsSpecial(usTarget))
    return _cnvftCopy(pcharSource, pcharTarget);

  ocnvftEntry *pentry = _cnvftEntry(pcnvft, usSource, usTarget, true);
  if (pentry == nullptr) return ORC_NOMEM;
  int rc;
  if (pentry->ilKind == OCNVFT_KIND_NONE) {
    omsgsTrace("Conversion Error: NO Converter from %i t %i\n", usSource, usTarget);
    rc = _cnvftCopy(pcharSource, pcharTarget);
    if (rc == 0) rc = OCNVFT_RC_NOCONVERT;
  } else if (pentry->ilKind == OCNVFT_KIND_ICU) {
    rc = _cnvftIcu(pentry, pcharSource, pcharTarget);
  } else {
    rc = _cnvftCopy(pcharSource, pcharTarget);
  }
  ocharPrintServices(pcharSource, gpzcFileDebug);
  ocharPrintServices(pcharTarget, gpzcFileDebug);
  return rc;
}

int ocnvftGetConverter(ocnvftEntry **ppentry, ocnvft *pcnvft, uint16_t usSource, uint16_t usTarget)
{
  if (ppentry == nullptr) return ORC_INVALID;
  *ppentry = nullptr;
  if (usSource == usTarget || _cnvftIsSpecial(usSource) || _cnvftIsSpecial(usTarget)) return 0;
  pcnvft = _cnvftContext(pcnvft);
  if (pcnvft == nullptr) return OCNVFT_RC_NOCONTEXT;
  ocnvftEntry *pentry = _cnvftEntry(pcnvft, usSource, usTarget, false);
  if (pentry == nullptr) return ORC_NOMEM;
  if (pentry->ilKind == OCNVFT_KIND_NONE) return OCNVFT_RC_NOCONVERTER;
  if (pentry->ilKind == 3) return 0;
  *ppentry = pentry;
  return 0;
}

/* ------------------------------------------------------- code-page questions */

int ocnvftGetCCSIDFromLocale(const char *pcName, uint32_t ulMask, uint16_t *pusSBCS, uint16_t *pusDBCS)
{
  if (pcName == nullptr || pcName[0] == '\0' || std::strcmp(pcName, "C") == 0) {
    omsgsTrace("Set Locale to default en_US\n");
    pcName = "en_US";
  }
  if (pusSBCS != nullptr) *pusSBCS = 0;
  if (pusDBCS != nullptr) *pusDBCS = 0;
  for (const ocnvftLocale *p = gaLocaleFinder; p->pcName != nullptr; p++) {
    if ((p->ulMask & ulMask) != 0 && std::strcmp(p->pcName, pcName) == 0) {
      if (pusSBCS != nullptr) *pusSBCS = p->usSBCS;
      if (pusDBCS != nullptr) *pusDBCS = p->usDBCS;
      return 0;
    }
  }
  return OCNVFT_RC_NOCONVERTER;
}

uint16_t ocnvftCodeSet2Ccsid(const char *pcName)
{
  if (pcName == nullptr) return 0;
  for (const ocnvftCodeSet *p = gacodeset2ccsid; p->pcName != nullptr; p++)
    if (std::strcmp(p->pcName, pcName) == 0) return p->usCCSID;
  if (std::strlen(pcName) > 4 && std::strncmp(pcName, "IBM-", 4) == 0)
    return static_cast<uint16_t>(std::strtoul(pcName + 4, nullptr, 10) % 65536);
  return 0;
}

int ocnvftDecomposeMixed(uint16_t usCCSID, uint16_t *pusSBCS, uint16_t *pusDBCS)
{
  int iClass = ocharDetermineBCS(usCCSID);
  if (iClass == OCHAR_SBCS) {
    *pusSBCS = usCCSID;
    *pusDBCS = 0;
  } else if (iClass == OCHAR_DBCS) {
    *pusSBCS = 0;
    *pusDBCS = usCCSID;
  } else {
    for (const ocnvftMixed *p = gamixedDecomp; p->usMixed != 0; p++) {
      if (p->usMixed == usCCSID) {
        *pusSBCS = p->usSBCS;
        *pusDBCS = p->usDBCS;
        break;
      }
    }
  }
  return 0;
}

uint16_t ocnvftSubstExternal(uint16_t usCCSID)
{
  for (const ocnvftSubst *p = gasubstituteCP; p->usCCSID != 0; p++)
    if (p->usCCSID == usCCSID) return p->usExternal;
  return usCCSID;
}

uint16_t ocnvftSubstInternal(uint16_t usCCSID)
{
  for (const ocnvftSubst *p = gasubstituteCP; p->usCCSID != 0; p++)
    if (p->usCCSID == usCCSID) return p->usInternal;
  return usCCSID;
}
