/*
** oconvert.cpp
**   Row converters and the conversion dictionary: registration of
**   conversion tables, creation of a converter by key look-up, conversion
**   of one row, clone and destroy, and the module's user count.
*/
#include "model/oconvert.h"

#include <cstdlib>
#include <cstring>

#include "common/odict.h"
#include "common/omsgstab.h"
#include "common/oreason.h"

#define OMSGS_TRACE_KEYWORD "$UCORE"
#define OMSGS_DEBUG_KEYWORD nullptr
#include "common/omsgsmod.h"

odict *gpdictConvert = nullptr;
int gbInitialized = 0;

/* Operations of row programs, registered by the module that provides them. */
static const oconvertProgramOps *gpopsProgram = nullptr;

void oconvertSetProgramOps(const oconvertProgramOps *pops)
{
  gpopsProgram = pops;
}

/* The program of a converter whose rows and functions are set; NULL when none. */
static void *_convertMakeProgram(const oconvert *pconvert)
{
  return gpopsProgram != nullptr ? gpopsProgram->make(pconvert) : nullptr;
}

/* Function pointers travel through the dictionary's void * values. */
static void *_convertToValue(oconvertFunc func)
{
  return reinterpret_cast<void *>(func);
}

static oconvertFunc _convertFromValue(void *pValue)
{
  return reinterpret_cast<oconvertFunc>(pValue);
}

/* Makes the dictionary when there is none; returns false when it cannot. */
static bool _convertEnsureDict(uint32_t ulSizeHint)
{
  if (gpdictConvert == nullptr) gpdictConvert = odictCreate(ulSizeHint, 80);
  return gpdictConvert != nullptr;
}

void oconvertInitModule(void)
{
  /* A dictionary made by an earlier registration keeps its rows. */
  if (_convertEnsureDict(80) && gbInitialized == 0) gbInitialized = 1;
}

void oconvertDestroyModule(void)
{
  if (gbInitialized != 1) return;
  odictDestroy(gpdictConvert);
  gpdictConvert = nullptr;
  gbInitialized = 0;
}

int oconvertRegisterConversion(const convertTabLine *pline)
{
  if (pline == nullptr) return ORC_INVALID;
  if (!_convertEnsureDict(60)) return OCONVERT_RC_NODICT;
  if (pline->func == nullptr) return 0;
  convertKey ulKey = orowMakeConvertKey(pline->usSourceKey, pline->usTargetKey);
  if (odictLoad(gpdictConvert, ulKey) != nullptr)
    omsgsTrace("Warning Duplicate Conversion Definition %i, %i\n", static_cast<int>(pline->usSourceKey),
               static_cast<int>(pline->usTargetKey));
  return odictStore(gpdictConvert, ulKey, _convertToValue(pline->func));
}

int oconvertRegisterTabConversion(const convertTabLine *ptable)
{
  if (ptable == nullptr) return ORC_INVALID;
  if (!_convertEnsureDict(60)) return OCONVERT_RC_NODICT;
  for (const convertTabLine *pline = ptable; pline->func != nullptr; pline++) {
    int iRc = oconvertRegisterConversion(pline);
    if (iRc != 0) return iRc;
  }
  return 0;
}

oconvertFunc oconvertLookup(convertKey ulKey)
{
  if (gpdictConvert == nullptr) return nullptr;
  return _convertFromValue(odictLoad(gpdictConvert, ulKey));
}

/* Drops one user of the module; the dictionary goes with the last. */
static void _convertDropUser(void)
{
  if (gbInitialized <= 0) return;
  if (gbInitialized == 1) {
    odictDestroy(gpdictConvert);
    gpdictConvert = nullptr;
  }
  gbInitialized--;
}

oconvert *oconvertCreate(orow *prowSource, orow *prowTarget, uint32_t ulOwnership, int *piRc)
{
  int iRcLocal = 0;
  if (piRc == nullptr) piRc = &iRcLocal;
  *piRc = 0;
  if (prowSource == nullptr || prowTarget == nullptr) {
    *piRc = ORC_INVALID;
    return nullptr;
  }
  if (!_convertEnsureDict(80)) {
    *piRc = OCONVERT_RC_NODICT;
    return nullptr;
  }
  if (gbInitialized == 0) gbInitialized = 1;
  gbInitialized++;

  if (prowSource->iCapacity != prowTarget->iCapacity) {
    _convertDropUser();
    *piRc = OCONVERT_RC_COLUMNS;
    return nullptr;
  }

  oconvert *pconvert = static_cast<oconvert *>(std::calloc(1, sizeof(oconvert)));
  oconvertFunc *pfunc = static_cast<oconvertFunc *>(
      std::calloc(prowSource->iCapacity > 0 ? static_cast<size_t>(prowSource->iCapacity) : 1,
                  sizeof(oconvertFunc)));
  if (pconvert == nullptr || pfunc == nullptr) {
    std::free(pconvert);
    std::free(pfunc);
    _convertDropUser();
    *piRc = OCONVERT_RC_NOMEM;
    return nullptr;
  }
  pconvert->ulFlags = ulOwnership;
  pconvert->prowSource = prowSource;
  pconvert->prowTarget = prowTarget;
  pconvert->pfunc = pfunc;

  /* Entries beyond the column count hold no definition and get no function. */
  for (int32_t i = 0; i < prowSource->iCount; i++) {
    convertKey ulKey = orowMakeConvertKey(static_cast<uint32_t>(prowSource->pcoldef[i].iType),
                                          static_cast<uint32_t>(prowTarget->pcoldef[i].iType));
    pfunc[i] = oconvertLookup(ulKey);
    if (pfunc[i] == nullptr) {
      omsgsFMTEDO(ZORI154E, ulKey);
      *piRc = OCONVERT_RC_NOFUNC;
      break;
    }
  }
  if (*piRc != 0) {
    oconvertDestroy(pconvert);
    return nullptr;
  }
  pconvert->pProgram = _convertMakeProgram(pconvert);
  return pconvert;
}

int oconvertConvertColumns(oconvert *pconvert, int32_t iFrom, int iHighest, int iLast)
{
  if (pconvert == nullptr) return ORC_INVALID;
  for (int32_t i = iFrom; i < pconvert->prowSource->iCapacity && iLast <= 0x10a002; i++) {
    if (pconvert->pfunc[i] == nullptr) continue;
    iLast = pconvert->pfunc[i](pconvert->prowSource, pconvert->prowTarget);
    if (iLast > iHighest) iHighest = iLast;
  }
  return iHighest;
}

int oconvertConvert(oconvert *pconvert)
{
  if (pconvert == nullptr) return ORC_INVALID;
  if (pconvert->pProgram != nullptr && gpopsProgram != nullptr) return gpopsProgram->run(pconvert->pProgram, pconvert);
  return oconvertConvertColumns(pconvert, 0, 0, 0);
}

oconvert *oconvertClone(const oconvert *pconvert)
{
  if (pconvert == nullptr) return nullptr;
  int32_t iCapacity = pconvert->prowSource != nullptr ? pconvert->prowSource->iCapacity : 0;
  oconvert *pcopy = static_cast<oconvert *>(std::calloc(1, sizeof(oconvert)));
  oconvertFunc *pfunc = static_cast<oconvertFunc *>(
      std::calloc(iCapacity > 0 ? static_cast<size_t>(iCapacity) : 1, sizeof(oconvertFunc)));
  orow *prowSource = pconvert->prowSource;
  orow *prowTarget = pconvert->prowTarget;
  if (pconvert->ulFlags & OCONVERT_OWN_SOURCE) prowSource = orowClone(pconvert->prowSource);
  if (pconvert->ulFlags & OCONVERT_OWN_TARGET) prowTarget = orowClone(pconvert->prowTarget);
  bool bFailed = pcopy == nullptr || pfunc == nullptr ||
                 (prowSource == nullptr && pconvert->prowSource != nullptr) ||
                 (prowTarget == nullptr && pconvert->prowTarget != nullptr);
  if (bFailed) {
    if (pconvert->ulFlags & OCONVERT_OWN_SOURCE) orowDestroy(prowSource);
    if (pconvert->ulFlags & OCONVERT_OWN_TARGET) orowDestroy(prowTarget);
    std::free(pcopy);
    std::free(pfunc);
    return nullptr;
  }
  if (iCapacity > 0) std::memcpy(pfunc, pconvert->pfunc, static_cast<size_t>(iCapacity) * sizeof(oconvertFunc));
  pcopy->ulFlags = pconvert->ulFlags;
  pcopy->prowSource = prowSource;
  pcopy->prowTarget = prowTarget;
  pcopy->pfunc = pfunc;
  pcopy->pProgram = pconvert->pProgram != nullptr ? _convertMakeProgram(pcopy) : nullptr;
  if (gbInitialized == 0) gbInitialized = 1;
  gbInitialized++;
  return pcopy;
}

void oconvertDestroy(oconvert *pconvert)
{
  if (pconvert == nullptr) return;
  _convertDropUser();
  if (pconvert->ulFlags & OCONVERT_OWN_SOURCE) orowDestroy(pconvert->prowSource);
  if (pconvert->ulFlags & OCONVERT_OWN_TARGET) orowDestroy(pconvert->prowTarget);
  if (pconvert->pProgram != nullptr && gpopsProgram != nullptr) gpopsProgram->release(pconvert->pProgram);
  std::free(pconvert->pfunc);
  std::free(pconvert);
}
