/*
** oname.cpp
**   Interning table (see oname.h for the entry layouts, the hash and the ids).
**   Each entry is one malloc'ed block read and written through memcpy at the
**   offsets of the table's layout, so no entry is ever accessed through a
**   misaligned or overlaid struct.  Also defines the global pool gpnameGlobal.
**   No tracing.
*/
#include "common/oname.h"

#include <cstdlib>

oname *gpnameGlobal = nullptr;

namespace {

constexpr uint32_t kDefaultBuckets = 256;
constexpr uint32_t kDefaultLoad = 80;
constexpr size_t kNoField = 0;

/* Offsets of an entry's fields in the layout chosen by a table's flags. */
struct namelayout {
  size_t ulHash;    /* kNoField when the layout keeps no hash */
  size_t ulId;      /* kNoField when the layout keeps no id */
  size_t ulLength;  /* the 16-bit length */
  size_t ulChars;   /* the characters, then a NUL */
};

namelayout _nameLayout(uint32_t ulFlags)
{
  namelayout layout{kNoField, kNoField, 0, 0};
  size_t ulOffset = sizeof(unsigned char *);
  if (ulFlags & ONAME_FASTENTRY) {
    layout.ulHash = ulOffset;
    ulOffset += sizeof(uint32_t);
  }
  if (ulFlags & ONAME_PERSISTENT) {
    layout.ulId = ulOffset;
    ulOffset += sizeof(uint32_t);
  }
  layout.ulLength = ulOffset;
  layout.ulChars = ulOffset + sizeof(uint16_t);
  return layout;
}

unsigned char *_nameNext(const unsigned char *pucEntry)
{
  unsigned char *pucNext;
  std::memcpy(&pucNext, pucEntry, sizeof pucNext);
  return pucNext;
}

void _nameSetNext(unsigned char *pucEntry, unsigned char *pucNext)
{
  std::memcpy(pucEntry, &pucNext, sizeof pucNext);
}

uint32_t _nameGetU32(const unsigned char *puc)
{
  uint32_t ul;
  std::memcpy(&ul, puc, sizeof ul);
  return ul;
}

uint16_t _nameGetU16(const unsigned char *puc)
{
  uint16_t us;
  std::memcpy(&us, puc, sizeof us);
  return us;
}

uint32_t _nameBits(uint32_t ul)
{
  uint32_t ulBits = 0;
  while (ul != 0) {
    ulBits++;
    ul >>= 1;
  }
  return ulBits;
}

/* Makes sure slot ulId of the id array exists, doubling the capacity when it
** does not.  Returns false when memory runs out (nothing changed). */
bool _nameReserveId(oname *pname, uint32_t ulId)
{
  if (ulId < pname->ulIdCapacity && pname->ppcIds != nullptr)
    return true;
  uint64_t ullCapacity = static_cast<uint64_t>(pname->ulIdCapacity) * 2;
  if (ullCapacity <= ulId)
    ullCapacity = static_cast<uint64_t>(ulId) + 1;
  if (ullCapacity > UINT32_MAX)
    return false;
  const char **ppcNew =
      static_cast<const char **>(std::calloc(static_cast<size_t>(ullCapacity), sizeof(const char *)));
  if (ppcNew == nullptr)
    return false;
  if (pname->ppcIds != nullptr) {
    std::memcpy(ppcNew, pname->ppcIds, pname->ulIdCapacity * sizeof(const char *));
    std::free(pname->ppcIds);
  }
  pname->ppcIds = ppcNew;
  pname->ulIdCapacity = static_cast<uint32_t>(ullCapacity);
  return true;
}

} // namespace

oname *onameCreate(uint32_t ulSizeHint, uint32_t ulLoadFactor)
{
  uint32_t ulBits = ulSizeHint == 0 ? _nameBits(kDefaultBuckets - 1) : _nameBits(ulSizeHint);
  if (ulBits >= 32)
    return nullptr;
  uint32_t ulMask = (1u << ulBits) - 1;
  if (ulLoadFactor == 0)
    ulLoadFactor = kDefaultLoad;

  oname *pname = static_cast<oname *>(std::malloc(sizeof(oname)));
  if (pname == nullptr)
    return nullptr;
  pname->ppucBuckets = static_cast<unsigned char **>(
      std::calloc(static_cast<size_t>(ulMask) + 1, sizeof(unsigned char *)));
  if (pname->ppucBuckets == nullptr) {
    std::free(pname);
    return nullptr;
  }
  pname->ulThreshold =
      static_cast<uint32_t>(static_cast<uint64_t>(ulMask) * ulLoadFactor / 100 + 1);
  pname->ulCount = 0;
  pname->ulMask = ulMask;
  pname->ulFlags = ONAME_AUTORESIZE | ONAME_FASTENTRY;
  pname->ulTotalLength = 0;
  pname->ulLastId = 0;
  pname->ulIdCapacity = 0;
  pname->ppcIds = nullptr;
  return pname;
}

oname *onameCreateExtended(uint32_t ulSizeHint, uint32_t ulLoadFactor, uint32_t ulFlags)
{
  oname *pname = onameCreate(ulSizeHint, ulLoadFactor);
  if (pname == nullptr)
    return nullptr;
  pname->ulFlags |= ulFlags;
  if (ulFlags & ONAME_PERSISTENT) {
    pname->ppcIds = static_cast<const char **>(
        std::calloc(static_cast<size_t>(pname->ulMask) + 1, sizeof(const char *)));
    if (pname->ppcIds == nullptr) {
      onameDestroy(pname);
      return nullptr;
    }
    pname->ulIdCapacity = ulSizeHint + 1;
  }
  return pname;
}

void onameDestroy(oname *pname)
{
  if (pname == nullptr)
    return;
  for (uint64_t ull = 0; ull <= pname->ulMask; ull++) {
    unsigned char *pucEntry = pname->ppucBuckets[ull];
    while (pucEntry != nullptr) {
      unsigned char *pucNext = _nameNext(pucEntry);
      std::free(pucEntry);
      pucEntry = pucNext;
    }
  }
  std::free(pname->ppucBuckets);
  std::free(pname->ppcIds);
  std::free(pname);
}

uint32_t _nameHash(const oname *pname, const char *pcName, size_t ulLength)
{
  (void)pname;
  uint32_t ulHash = 0;
  size_t ulStop = ulLength > ONAME_HASH_CHARS ? ulLength - ONAME_HASH_CHARS : 0;
  for (size_t ul = ulLength; ul > ulStop; ul--) {
    int8_t c = static_cast<int8_t>(pcName[ul - 1]);
    ulHash = (ulHash + static_cast<uint32_t>(static_cast<int32_t>(c))) * ONAME_HASH_K;
  }
  return ulHash;
}

int _nameIsExist(const oname *pname, const char *pcName, size_t ulLength,
                 uint32_t ulHash, unsigned char **ppucEntry)
{
  namelayout layout = _nameLayout(pname->ulFlags);
  unsigned char *pucEntry = pname->ppucBuckets[ulHash & pname->ulMask];
  for (; pucEntry != nullptr; pucEntry = _nameNext(pucEntry)) {
    if (layout.ulHash != kNoField && _nameGetU32(pucEntry + layout.ulHash) != ulHash)
      continue;
    /* Compared in full: a length that does not fit the 16-bit word never matches. */
    if (_nameGetU16(pucEntry + layout.ulLength) != ulLength)
      continue;
    if (std::memcmp(pucEntry + layout.ulChars, pcName, ulLength) == 0)
      break;
  }
  if (ppucEntry != nullptr)
    *ppucEntry = pucEntry;
  return pucEntry != nullptr ? 1 : 0;
}

const char *onameInternFixed(oname *pname, const char *pcName, size_t ulLength)
{
  if (pname == nullptr)
    return nullptr;
  bool boPersistent = (pname->ulFlags & ONAME_PERSISTENT) != 0;
  if (ulLength == 0) {
    if (boPersistent && pname->ulLastId < UINT32_MAX &&
        _nameReserveId(pname, pname->ulLastId + 1))
      pname->ulLastId++;
    return nullptr;
  }
  if (pcName == nullptr || ulLength > ONAME_MAXLENGTH)
    return nullptr;

  uint32_t ulHash = _nameHash(pname, pcName, ulLength);
  unsigned char *pucEntry = nullptr;
  namelayout layout = _nameLayout(pname->ulFlags);
  if (_nameIsExist(pname, pcName, ulLength, ulHash, &pucEntry))
    return reinterpret_cast<const char *>(pucEntry + layout.ulChars);

  uint32_t ulId = 0;
  if (boPersistent) {
    if (pname->ulLastId == UINT32_MAX || !_nameReserveId(pname, pname->ulLastId + 1))
      return nullptr;
    ulId = pname->ulLastId + 1;
  }
  pucEntry = static_cast<unsigned char *>(std::malloc(layout.ulChars + ulLength + 1));
  if (pucEntry == nullptr)
    return nullptr;
  unsigned char **ppucHead = &pname->ppucBuckets[ulHash & pname->ulMask];
  _nameSetNext(pucEntry, *ppucHead);
  if (layout.ulHash != kNoField)
    std::memcpy(pucEntry + layout.ulHash, &ulHash, sizeof ulHash);
  if (layout.ulId != kNoField)
    std::memcpy(pucEntry + layout.ulId, &ulId, sizeof ulId);
  uint16_t usLength = static_cast<uint16_t>(ulLength);
  std::memcpy(pucEntry + layout.ulLength, &usLength, sizeof usLength);
  std::memcpy(pucEntry + layout.ulChars, pcName, ulLength);
  pucEntry[layout.ulChars + ulLength] = 0;
  const char *pcInterned = reinterpret_cast<const char *>(pucEntry + layout.ulChars);

  if (boPersistent) {
    pname->ulLastId = ulId;
    pname->ppcIds[ulId] = pcInterned;
  }
  *ppucHead = pucEntry;
  pname->ulCount++;
  pname->ulTotalLength += static_cast<uint32_t>(ulLength);
  if ((pname->ulFlags & ONAME_AUTORESIZE) && pname->ulCount > pname->ulThreshold)
    onameSetSize(pname, 2 * pname->ulMask + 1);
  return pcInterned;
}

const char *onameGetFixed(const oname *pname, const char *pcName, size_t ulLength)
{
  if (pname == nullptr || pcName == nullptr || ulLength == 0 || ulLength > ONAME_MAXLENGTH)
    return nullptr;
  unsigned char *pucEntry = nullptr;
  if (!_nameIsExist(pname, pcName, ulLength, _nameHash(pname, pcName, ulLength), &pucEntry))
    return nullptr;
  return reinterpret_cast<const char *>(pucEntry + _nameLayout(pname->ulFlags).ulChars);
}

const char *onameGetFromId(const oname *pname, uint32_t ulId)
{
  if (pname == nullptr || pname->ppcIds == nullptr || ulId == 0 || ulId > pname->ulLastId ||
      ulId >= pname->ulIdCapacity)
    return nullptr;
  return pname->ppcIds[ulId];
}

void onameSetSize(oname *pname, uint32_t ulSizeHint)
{
  if (pname == nullptr)
    return;
  uint32_t ulBits = _nameBits(ulSizeHint);
  uint64_t ullNewBuckets = uint64_t{1} << ulBits;
  uint64_t ullOldBuckets = static_cast<uint64_t>(pname->ulMask) + 1;
  if (ullNewBuckets <= ullOldBuckets)
    return;
  unsigned char **ppucNew = nullptr;
  if (ulBits < 32)
    ppucNew = static_cast<unsigned char **>(
        std::calloc(static_cast<size_t>(ullNewBuckets), sizeof(unsigned char *)));
  if (ppucNew == nullptr) {
    pname->ulFlags &= ~ONAME_AUTORESIZE;
    return;
  }
  namelayout layout = _nameLayout(pname->ulFlags);
  pname->ulThreshold *= static_cast<uint32_t>(ullNewBuckets / ullOldBuckets);
  pname->ulMask = static_cast<uint32_t>(ullNewBuckets - 1);
  for (uint64_t ull = 0; ull < ullOldBuckets; ull++) {
    unsigned char *pucEntry = pname->ppucBuckets[ull];
    while (pucEntry != nullptr) {
      unsigned char *pucNext = _nameNext(pucEntry);
      uint32_t ulHash =
          layout.ulHash != kNoField
              ? _nameGetU32(pucEntry + layout.ulHash)
              : _nameHash(pname, reinterpret_cast<const char *>(pucEntry + layout.ulChars),
                          _nameGetU16(pucEntry + layout.ulLength));
      unsigned char **ppucHead = &ppucNew[ulHash & pname->ulMask];
      _nameSetNext(pucEntry, *ppucHead);
      *ppucHead = pucEntry;
      pucEntry = pucNext;
    }
  }
  std::free(pname->ppucBuckets);
  pname->ppucBuckets = ppucNew;
}

void onameSetAutoResize(oname *pname, int iOn)
{
  if (pname == nullptr)
    return;
  if (!iOn) {
    pname->ulFlags &= ~ONAME_AUTORESIZE;
    return;
  }
  if (pname->ulFlags & ONAME_AUTORESIZE)
    return;
  pname->ulFlags |= ONAME_AUTORESIZE;
  uint32_t ulQuotient = pname->ulThreshold == 0 ? 0 : pname->ulCount / pname->ulThreshold;
  if (ulQuotient != 0) {
    uint64_t ullHint = static_cast<uint64_t>(ulQuotient) * pname->ulMask;
    onameSetSize(pname, ullHint > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(ullHint));
  }
}

void onameSetFastEntry(oname *pname, int iOn)
{
  (void)pname;
  (void)iOn;
}

int onameIsAutoResize(const oname *pname)
{
  return (pname->ulFlags & ONAME_AUTORESIZE) ? 1 : 0;
}

int onameIsFastEntry(const oname *pname)
{
  return (pname->ulFlags & ONAME_FASTENTRY) ? 1 : 0;
}

int onameIsPersistant(const oname *pname)
{
  return (pname->ulFlags & ONAME_PERSISTENT) ? 1 : 0;
}

uint32_t onameGetSize(const oname *pname)
{
  return pname->ulMask;
}

uint32_t onameGetLoadFactor(const oname *pname)
{
  return pname->ulThreshold;
}

uint32_t onameGetCount(const oname *pname)
{
  return pname->ulCount;
}

void onameDump(const oname *pname, FILE *pfile)
{
  if (pname == nullptr)
    return;
  if (pfile == nullptr)
    pfile = stdout;
  namelayout layout = _nameLayout(pname->ulFlags);
  std::fprintf(pfile, "%i", static_cast<int>(pname->ulCount));
  std::fputc(0, pfile);
  for (uint64_t ull = 0; ull <= pname->ulMask; ull++) {
    for (unsigned char *pucEntry = pname->ppucBuckets[ull]; pucEntry != nullptr;
         pucEntry = _nameNext(pucEntry)) {
      std::fwrite(pucEntry + layout.ulChars, 1, _nameGetU16(pucEntry + layout.ulLength), pfile);
      std::fputc(0, pfile);
    }
  }
}
