/*
** odict.cpp
**   Hash dictionary keyed by word-sized values (see odict.h for the hash, the
**   sizing and the iteration order).  Entries are allocated one by one with
**   malloc; the bucket array with calloc.  No tracing.
*/
#include "common/odict.h"

#include <cstdlib>

#include "common/oreason.h"

namespace {

constexpr uint32_t kDefaultBuckets = 256;
constexpr uint32_t kDefaultLoad = 80;

/* Number of significant bits of ul (0 for 0). */
uint32_t _dictBits(uint32_t ul)
{
  uint32_t ulBits = 0;
  while (ul != 0) {
    ulBits++;
    ul >>= 1;
  }
  return ulBits;
}

/* Threshold of a table of mask ulMask at ulLoad percent. */
uint32_t _dictThreshold(uint32_t ulMask, uint32_t ulLoad)
{
  return static_cast<uint32_t>(static_cast<uint64_t>(ulMask) * ulLoad / 100 + 1);
}

/* Key hash over the key's low four bytes, each a signed byte, least significant first. */
uint32_t _dictHash(uintptr_t ulKey)
{
  uint32_t ulLow = static_cast<uint32_t>(ulKey);
  uint32_t ulHash = 0;
  for (int i = 0; i < 4; i++) {
    int8_t cByte = static_cast<int8_t>(ulLow >> (8 * i));
    ulHash = (ulHash + static_cast<uint32_t>(static_cast<int32_t>(cByte))) * ODICT_HASH_K;
  }
  return ulHash;
}

odictentry *_dictFind(const odict *pdict, uintptr_t ulKey)
{
  odictentry *pentry = pdict->ppentryBuckets[_dictHash(ulKey) & pdict->ulMask];
  while (pentry != nullptr && pentry->ulKey != ulKey)
    pentry = pentry->pNext;
  return pentry;
}

/* First non-empty bucket at or after ulBucket; sets the cursor past the end when none. */
void _dictCursorSeek(odictcursor *pcursor, uint32_t ulBucket)
{
  const odict *pdict = pcursor->pdict;
  uint64_t ullBuckets = static_cast<uint64_t>(pdict->ulMask) + 1;
  for (uint64_t ull = ulBucket; ull < ullBuckets; ull++) {
    if (pdict->ppentryBuckets[ull] != nullptr) {
      pcursor->ulBucket = static_cast<uint32_t>(ull);
      pcursor->pentry = pdict->ppentryBuckets[ull];
      return;
    }
  }
  pcursor->ulBucket = static_cast<uint32_t>(ullBuckets);
  pcursor->pentry = nullptr;
}

} // namespace

odict *odictCreate(uint32_t ulSizeHint, uint32_t ulLoadFactor)
{
  uint32_t ulBits = ulSizeHint == 0 ? _dictBits(kDefaultBuckets - 1) : _dictBits(ulSizeHint);
  if (ulBits >= 32)
    return nullptr;
  uint32_t ulMask = (1u << ulBits) - 1;
  if (ulLoadFactor == 0)
    ulLoadFactor = kDefaultLoad;

  odict *pdict = static_cast<odict *>(std::malloc(sizeof(odict)));
  if (pdict == nullptr)
    return nullptr;
  pdict->ppentryBuckets =
      static_cast<odictentry **>(std::calloc(static_cast<size_t>(ulMask) + 1, sizeof(odictentry *)));
  if (pdict->ppentryBuckets == nullptr) {
    std::free(pdict);
    return nullptr;
  }
  pdict->ulThreshold = _dictThreshold(ulMask, ulLoadFactor);
  pdict->ulCount = 0;
  pdict->ulMask = ulMask;
  pdict->ulFlags = ODICT_AUTORESIZE;
  pdict->procDestroy = nullptr;
  return pdict;
}

void odictDestroy(odict *pdict)
{
  if (pdict == nullptr)
    return;
  for (uint64_t ull = 0; ull <= pdict->ulMask; ull++) {
    odictentry *pentry = pdict->ppentryBuckets[ull];
    while (pentry != nullptr) {
      odictentry *pNext = pentry->pNext;
      if (pdict->procDestroy != nullptr && pentry->pValue != nullptr)
        pdict->procDestroy(pentry->pValue);
      std::free(pentry);
      pentry = pNext;
    }
  }
  std::free(pdict->ppentryBuckets);
  std::free(pdict);
}

int odictStore(odict *pdict, uintptr_t ulKey, void *pValue)
{
  if (pdict == nullptr)
    return ORC_INVALID;
  odictentry *pentry = _dictFind(pdict, ulKey);
  if (pentry != nullptr) {
    pentry->pValue = pValue;
    return 0;
  }
  pentry = static_cast<odictentry *>(std::malloc(sizeof(odictentry)));
  if (pentry == nullptr)
    return ORC_NOMEM;
  odictentry **ppHead = &pdict->ppentryBuckets[_dictHash(ulKey) & pdict->ulMask];
  pentry->pNext = *ppHead;
  pentry->ulKey = ulKey;
  pentry->pValue = pValue;
  *ppHead = pentry;
  pdict->ulCount++;
  if ((pdict->ulFlags & ODICT_AUTORESIZE) && pdict->ulCount > pdict->ulThreshold)
    odictSetSize(pdict, 2 * pdict->ulMask + 1);
  return 0;
}

void *odictLoad(const odict *pdict, uintptr_t ulKey)
{
  if (pdict == nullptr)
    return nullptr;
  odictentry *pentry = _dictFind(pdict, ulKey);
  return pentry == nullptr ? nullptr : pentry->pValue;
}

void odictSetSize(odict *pdict, uint32_t ulSizeHint)
{
  if (pdict == nullptr)
    return;
  uint32_t ulBits = _dictBits(ulSizeHint);
  uint64_t ullNewBuckets = uint64_t{1} << ulBits;
  uint64_t ullOldBuckets = static_cast<uint64_t>(pdict->ulMask) + 1;
  if (ullNewBuckets <= ullOldBuckets)
    return;
  /* A mask must fit 32 bits with its bucket count: 2^32 buckets cannot be had. */
  odictentry **ppNew = nullptr;
  if (ulBits < 32)
    ppNew = static_cast<odictentry **>(
        std::calloc(static_cast<size_t>(ullNewBuckets), sizeof(odictentry *)));
  if (ppNew == nullptr) {
    pdict->ulFlags &= ~ODICT_AUTORESIZE;
    return;
  }
  pdict->ulThreshold *= static_cast<uint32_t>(ullNewBuckets / ullOldBuckets);
  pdict->ulMask = static_cast<uint32_t>(ullNewBuckets - 1);
  for (uint64_t ull = 0; ull < ullOldBuckets; ull++) {
    odictentry *pentry = pdict->ppentryBuckets[ull];
    while (pentry != nullptr) {
      odictentry *pNext = pentry->pNext;
      odictentry **ppHead = &ppNew[_dictHash(pentry->ulKey) & pdict->ulMask];
      pentry->pNext = *ppHead;
      *ppHead = pentry;
      pentry = pNext;
    }
  }
  std::free(pdict->ppentryBuckets);
  pdict->ppentryBuckets = ppNew;
}

void odictSetAutoResize(odict *pdict, int iOn)
{
  if (pdict == nullptr)
    return;
  if (!iOn) {
    pdict->ulFlags &= ~ODICT_AUTORESIZE;
    return;
  }
  if (pdict->ulFlags & ODICT_AUTORESIZE)
    return;
  pdict->ulFlags |= ODICT_AUTORESIZE;
  uint32_t ulQuotient = pdict->ulThreshold == 0 ? 0 : pdict->ulCount / pdict->ulThreshold;
  if (ulQuotient != 0) {
    uint64_t ullHint = static_cast<uint64_t>(ulQuotient) * pdict->ulMask;
    odictSetSize(pdict, ullHint > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(ullHint));
  }
}

int odictIsAutoResize(const odict *pdict)
{
  return (pdict->ulFlags & ODICT_AUTORESIZE) ? 1 : 0;
}

uint32_t odictGetSize(const odict *pdict)
{
  return pdict->ulMask;
}

uint32_t odictGetLoadFactor(const odict *pdict)
{
  return pdict->ulThreshold;
}

uint32_t odictGetCount(const odict *pdict)
{
  return pdict->ulCount;
}

void odictForEach(odict *pdict, odictForEachProc procForEach, void *pArg)
{
  if (pdict == nullptr || procForEach == nullptr)
    return;
  odictcursor cursor;
  odictCursorInit(&cursor, pdict);
  for (uint32_t ul = pdict->ulCount; ul > 0 && cursor.pentry != nullptr; ul--) {
    procForEach(cursor.pentry->ulKey, cursor.pentry->pValue, pArg);
    odictCursorNext(&cursor);
  }
  odictCursorDestroy(&cursor);
}

void odictCursorInit(odictcursor *pcursor, odict *pdict)
{
  pcursor->pdict = pdict;
  pcursor->ulBucket = 0;
  pcursor->pentry = nullptr;
  if (pdict != nullptr)
    _dictCursorSeek(pcursor, 0);
}

odictentry *odictCursorNext(odictcursor *pcursor)
{
  if (pcursor->pentry == nullptr)
    return nullptr;
  if (pcursor->pentry->pNext != nullptr)
    pcursor->pentry = pcursor->pentry->pNext;
  else
    _dictCursorSeek(pcursor, pcursor->ulBucket + 1);
  return pcursor->pentry;
}

uintptr_t odictCursorGetKey(const odictcursor *pcursor)
{
  return pcursor->pentry == nullptr ? 0 : pcursor->pentry->ulKey;
}

void *odictCursorGetValue(const odictcursor *pcursor)
{
  return pcursor->pentry == nullptr ? nullptr : pcursor->pentry->pValue;
}

void odictCursorDestroy(odictcursor *pcursor)
{
  pcursor->pdict = nullptr;
  pcursor->ulBucket = 0;
  pcursor->pentry = nullptr;
}
