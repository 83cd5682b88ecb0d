/*
** zorucore.cpp
**   Core-data records (create, clone, destroy) and the conversion table of
**   the column converters, registered with run/oconvert by
**   zorucoreInitModule.  The run step calls oconvertInitModule and then
**   zorucoreInitModule each time it prepares a SELECT's converter.
*/
#include "run/zorucore.h"

#include <cstdlib>
#include <cstring>

#include "expr/zorcol.h"

#define OMSGS_TRACE_KEYWORD "$UCORE"
#define OMSGS_DEBUG_KEYWORD nullptr
#include "common/omsgsmod.h"

/*
** The conversion table: one row per (source key, target key) pair that a
** column converter serves, in registration order, grouped by source key.
** Converters are added here as they are written; a pair without a row makes
** oconvertCreate fail with ZORI154E.
*/
const convertTabLine aconvertTabLine[] = {
  {0xFFFF, 0xFFFF, nullptr}
};

int zorucoreTabCount(void)
{
  int iCount = 0;
  while (aconvertTabLine[iCount].func != nullptr) iCount++;
  return iCount;
}

int zorucoreInitModule(void)
{
  oconvertRegisterTabConversion(aconvertTabLine);
  return 0;
}

zorucoreData *zorucoreDataCreate(void)
{
  return static_cast<zorucoreData *>(std::calloc(1, sizeof(zorucoreData)));
}

/* Gives an embedded string an owned copy of its buffer (after a byte copy). */
static int _coreOwnCopy(ochar *pchar)
{
  if (pchar->pcData == nullptr) return 0;
  int32_t ilText = pchar->ilBT > pchar->ilBU ? pchar->ilBT : pchar->ilBU;
  if (ilText < 0) ilText = 0;
  size_t ulSize = static_cast<size_t>(ilText) + ((pchar->usFlags & OCHAR_VARCHAR) ? 2u : 0u);
  char *pcCopy = static_cast<char *>(std::calloc(ulSize + 2, 1));   /* room for a terminator */
  if (pcCopy == nullptr) {
    pchar->pcData = nullptr;
    pchar->usFlags &= static_cast<uint16_t>(~OCHAR_OWNED);
    return ORC_NOMEM;
  }
  std::memcpy(pcCopy, pchar->pcData, ulSize);
  pchar->pcData = pcCopy;
  pchar->usFlags |= OCHAR_OWNED;
  return 0;
}

/* A new buffer holding the first ilLength bytes of pcFrom (capacity ilCapacity). */
static char *_coreCopyBytes(const char *pcFrom, int32_t ilLength, size_t ulCapacity)
{
  char *pcCopy = static_cast<char *>(std::calloc(ulCapacity, 1));
  if (pcCopy != nullptr) std::memcpy(pcCopy, pcFrom, static_cast<size_t>(ilLength));
  return pcCopy;
}

static void _coreReleaseChar(ochar *pchar)
{
  if (pchar->pcData != nullptr && (pchar->usFlags & OCHAR_OWNED)) std::free(pchar->pcData);
  pchar->pcData = nullptr;
  pchar->ilBU = pchar->ilBT = pchar->ilL = 0;
  pchar->usFlags &= static_cast<uint16_t>(~OCHAR_OWNED);
}

zorucoreData *zorucoreDataClone(const zorucoreData *pcore)
{
  if (pcore == nullptr) return nullptr;
  zorucoreData *pcopy = zorucoreDataCreate();
  if (pcopy == nullptr) return nullptr;
  *pcopy = *pcore;
  /* Nothing below is owned until it has been copied. */
  pcopy->pcol = nullptr;
  pcopy->pcharConstant = nullptr;
  pcopy->pcDefault = nullptr;
  pcopy->pcTemplate = nullptr;
  ochar *apcharOwned[] = {&pcopy->charSep, &pcopy->charDelim, &pcopy->charDecimal,
                          &pcopy->charSignPlus};
  for (ochar *pchar : apcharOwned) pchar->usFlags &= static_cast<uint16_t>(~OCHAR_OWNED);

  bool bFailed = false;
  for (ochar *pchar : apcharOwned)
    if (_coreOwnCopy(pchar) != 0) bFailed = true;
  if (!bFailed && pcore->pcharConstant != nullptr) {
    pcopy->pcharConstant = ocharClone(pcore->pcharConstant);
    bFailed = pcopy->pcharConstant == nullptr;
  }
  if (!bFailed && pcore->pcDefault != nullptr && pcore->sDefaultLength > 0) {
    size_t ulCapacity = 3u * static_cast<size_t>(pcore->sDefaultLength) + 9u;
    pcopy->pcDefault = _coreCopyBytes(pcore->pcDefault, pcore->sDefaultLength, ulCapacity);
    bFailed = pcopy->pcDefault == nullptr;
  }
  if (!bFailed && pcore->pcTemplate != nullptr && pcore->sTemplateLength > 0) {
    pcopy->pcTemplate = _coreCopyBytes(pcore->pcTemplate, pcore->sTemplateLength,
                                       static_cast<size_t>(pcore->sTemplateLength));
    bFailed = pcopy->pcTemplate == nullptr;
  }
  if (!bFailed && pcore->pcol != nullptr) {
    pcopy->pcol = zorcolClone(pcore->pcol);
    bFailed = pcopy->pcol == nullptr;
  }
  if (bFailed) {
    zorucoreDataDestroy(pcopy);
    std::free(pcopy);
    return nullptr;
  }
  return pcopy;
}

int zorucoreDataDestroy(zorucoreData *pcore)
{
  if (pcore == nullptr) return 0;
  _coreReleaseChar(&pcore->charSep);
  _coreReleaseChar(&pcore->charDelim);
  _coreReleaseChar(&pcore->charDecimal);
  _coreReleaseChar(&pcore->charSignPlus);
  ocharDestroy(pcore->pcharConstant);
  pcore->pcharConstant = nullptr;
  std::free(pcore->pcDefault);
  pcore->pcDefault = nullptr;
  pcore->sDefaultLength = 0;
  std::free(pcore->pcTemplate);
  pcore->pcTemplate = nullptr;
  pcore->sTemplateLength = 0;
  zorcolDestroy(pcore->pcol);
  pcore->pcol = nullptr;
  return 0;
}
