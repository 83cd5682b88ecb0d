/*
** obf.cpp
**   Growable bit sets: creation, resizing, single-bit and range access,
**   whole-set operations, set algebra, forward search and the dumps (to a
**   file or, through the message system, to a trace file).  The word array
**   grows on demand; a growth that cannot be obtained leaves the set as it
**   was and the write undone.  See obf.h for the bit order.
*/
#include "common/obf.h"

#include <bit>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/omsgs.h"

const uint32_t ulTemplateMask[33] = {
    0x00000000, 0x00000001, 0x00000003, 0x00000007, 0x0000000F, 0x0000001F, 0x0000003F,
    0x0000007F, 0x000000FF, 0x000001FF, 0x000003FF, 0x000007FF, 0x00000FFF, 0x00001FFF,
    0x00003FFF, 0x00007FFF, 0x0000FFFF, 0x0001FFFF, 0x0003FFFF, 0x0007FFFF, 0x000FFFFF,
    0x001FFFFF, 0x003FFFFF, 0x007FFFFF, 0x00FFFFFF, 0x01FFFFFF, 0x03FFFFFF, 0x07FFFFFF,
    0x0FFFFFFF, 0x1FFFFFFF, 0x3FFFFFFF, 0x7FFFFFFF, 0xFFFFFFFF};

/* Words needed for ulBits bits. */
static inline uint32_t _obfWords(uint64_t ulBits)
{
  return ulBits ? static_cast<uint32_t>((ulBits - 1) / 32 + 1) : 0;
}

static inline uint32_t _obfMask(uint32_t ulIndex) { return 0x80000000u >> (ulIndex % 32); }

/* The index of a bit number, false for a number below the base offset. */
static inline bool _obfIndex(const obf *pobf, uint32_t ulNumber, uint32_t *pulIndex)
{
  if (ulNumber < pobf->ulBase) return false;
  *pulIndex = ulNumber - pobf->ulBase;
  return true;
}

/* Value of the bit at an index, 0 beyond the storage. */
static inline int _obfBit(const obf *pobf, uint32_t ulIndex)
{
  if (ulIndex >= pobf->ulCapacity) return 0;
  return (pobf->pulWords[ulIndex / 32] & _obfMask(ulIndex)) ? 1 : 0;
}

/* Word i, 0 beyond the storage. */
static inline uint32_t _obfWord(const obf *pobf, uint32_t i) { return i < pobf->ulWordCount ? pobf->pulWords[i] : 0; }

/*
** Grows the storage to hold ulBits bits; false when it cannot (the set is
** then unchanged).  The capacity, a 32-bit count of bits, bounds the size.
*/
static bool _obfGrow(obf *pobf, uint64_t ulBits)
{
  if (pobf->ulCapacity >= ulBits) return true;
  uint32_t words = _obfWords(ulBits);
  if (static_cast<uint64_t>(words) * 32 > UINT32_MAX) return false;
  uint32_t *pwords = static_cast<uint32_t *>(realloc(pobf->pulWords, static_cast<size_t>(words) * sizeof(uint32_t)));
  if (!pwords) return false;
  memset(pwords + pobf->ulWordCount, 0, static_cast<size_t>(words - pobf->ulWordCount) * sizeof(uint32_t));
  pobf->pulWords = pwords;
  pobf->ulWordCount = words;
  pobf->ulCapacity = words * 32;
  return true;
}

void _obfResize(obf *pobf, uint32_t ulBits) { _obfGrow(pobf, ulBits); }

/*
** Calls visit(word index, mask) for each word that the index range
** [ulIndex, ulIndex + ulBits) touches, with the mask of the range's bits in
** that word; stops early when visit returns false.
*/
template <typename V> static bool _obfEachWord(uint32_t ulIndex, uint32_t ulBits, V visit)
{
  if (!ulBits) return true;
  uint32_t w = ulIndex / 32;
  uint32_t r = 32 - ulIndex % 32;
  if (ulBits <= r) return visit(w, ulTemplateMask[ulBits] << (r - ulBits));
  if (!visit(w++, ulTemplateMask[r])) return false;
  ulBits -= r;
  for (; ulBits >= 32; ulBits -= 32)
    if (!visit(w++, 0xFFFFFFFFu)) return false;
  if (ulBits) return visit(w, ~ulTemplateMask[32 - ulBits]);
  return true;
}

/* Index of a range and storage for it; false when the range cannot be written. */
static bool _obfRangeStorage(obf *pobf, uint32_t ulFirst, uint32_t ulBits, uint32_t *pulIndex)
{
  if (!_obfIndex(pobf, ulFirst, pulIndex)) return false;
  return _obfGrow(pobf, static_cast<uint64_t>(*pulIndex) + ulBits);
}

static obf *_obfNew(uint32_t ulBits, uint32_t ulWords, uint32_t ulKind, uint32_t ulBase)
{
  obf *pobf = static_cast<obf *>(calloc(1, sizeof(obf)));
  if (!pobf) return nullptr;
  pobf->ulBitCount = ulBits;
  pobf->ulKind = ulKind;
  pobf->ulBase = ulBase;
  if (ulWords) {
    pobf->pulWords = static_cast<uint32_t *>(calloc(ulWords, sizeof(uint32_t)));
    if (!pobf->pulWords) {
      free(pobf);
      return nullptr;
    }
    pobf->ulWordCount = ulWords;
    pobf->ulCapacity = ulWords * 32;
  }
  return pobf;
}

obf *obfCreate(uint32_t ulBits) { return _obfNew(ulBits, _obfWords(ulBits), OBF_KIND_PLAIN, 0); }

obf *obfCreateDefered(uint32_t ulBits) { return _obfNew(ulBits, 0, OBF_KIND_DEFERED, 0); }

obf *obfCreateRange(uint32_t ulBase, uint32_t, uint32_t ulFlags)
{
  if (ulFlags & 1) return _obfNew(1, 0, OBF_KIND_RANGE_EMPTY, ulBase);
  return _obfNew(1, 1, OBF_KIND_RANGE, ulBase);
}

obf *obfClone(const obf *pobf)
{
  if (!pobf) return nullptr;
  obf *pcopy = static_cast<obf *>(malloc(sizeof(obf)));
  if (!pcopy) return nullptr;
  *pcopy = *pobf;
  pcopy->pulWords = nullptr;
  if (pobf->ulWordCount && pobf->pulWords) {
    size_t size = static_cast<size_t>(pobf->ulWordCount) * sizeof(uint32_t);
    pcopy->pulWords = static_cast<uint32_t *>(malloc(size));
    if (!pcopy->pulWords) {
      free(pcopy);
      return nullptr;
    }
    memcpy(pcopy->pulWords, pobf->pulWords, size);
  } else {
    pcopy->ulWordCount = 0;
    pcopy->ulCapacity = 0;
  }
  return pcopy;
}

void obfDestroy(obf *pobf)
{
  if (!pobf) return;
  free(pobf->pulWords);
  free(pobf);
}

void obfResize(obf *pobf, uint32_t ulBits)
{
  uint32_t words = _obfWords(ulBits);
  if (words != pobf->ulWordCount) {
    if (!words) {
      free(pobf->pulWords);
      pobf->pulWords = nullptr;
    } else {
      uint32_t *pwords = static_cast<uint32_t *>(realloc(pobf->pulWords, static_cast<size_t>(words) * sizeof(uint32_t)));
      if (!pwords) return;
      if (words > pobf->ulWordCount)
        memset(pwords + pobf->ulWordCount, 0, static_cast<size_t>(words - pobf->ulWordCount) * sizeof(uint32_t));
      pobf->pulWords = pwords;
    }
    pobf->ulWordCount = words;
    pobf->ulCapacity = words * 32;
  }
  pobf->ulBitCount = ulBits;
  /*
  ** Bits already written below the new count are kept: a caller sets the
  ** numbers it has (which may lie past the count, the storage growing to
  ** hold them) and then sizes the set to the highest of them + 1.
  */
  if (ulBits < pobf->ulCapacity) obfClearRange(pobf, ulBits, pobf->ulCapacity - ulBits);
}

int obfGet(const obf *pobf, uint32_t ulNumber)
{
  uint32_t index;
  if (!_obfIndex(pobf, ulNumber, &index) || index >= pobf->ulBitCount) return 0;
  return _obfBit(pobf, index);
}

/* Applies op to the word holding a bit number after growing the storage to hold it. */
template <typename Op> static void _obfWriteBit(obf *pobf, uint32_t ulNumber, Op op)
{
  uint32_t index;
  if (!_obfIndex(pobf, ulNumber, &index)) return;
  if (!_obfGrow(pobf, static_cast<uint64_t>(index) + 1)) return;
  uint32_t &word = pobf->pulWords[index / 32];
  word = op(word, _obfMask(index));
}

void obfSet(obf *pobf, uint32_t ulNumber)
{
  _obfWriteBit(pobf, ulNumber, [](uint32_t w, uint32_t m) { return w | m; });
}

void obfClear(obf *pobf, uint32_t ulNumber)
{
  _obfWriteBit(pobf, ulNumber, [](uint32_t w, uint32_t m) { return w & ~m; });
}

void obfToggle(obf *pobf, uint32_t ulNumber)
{
  _obfWriteBit(pobf, ulNumber, [](uint32_t w, uint32_t m) { return w ^ m; });
}

void obfPut(obf *pobf, uint32_t ulNumber, int iValue)
{
  if (iValue) obfSet(pobf, ulNumber);
  else obfClear(pobf, ulNumber);
}

void obfSetRange(obf *pobf, uint32_t ulFirst, uint32_t ulBits)
{
  uint32_t index;
  if (!_obfRangeStorage(pobf, ulFirst, ulBits, &index)) return;
  _obfEachWord(index, ulBits, [&](uint32_t w, uint32_t mask) {
    pobf->pulWords[w] |= mask;
    return true;
  });
}

void obfToggleRange(obf *pobf, uint32_t ulFirst, uint32_t ulBits)
{
  uint32_t index;
  if (!_obfRangeStorage(pobf, ulFirst, ulBits, &index)) return;
  _obfEachWord(index, ulBits, [&](uint32_t w, uint32_t mask) {
    pobf->pulWords[w] ^= mask;
    return true;
  });
}

void obfClearRange(obf *pobf, uint32_t ulFirstIndex, uint32_t ulBits)
{
  if (ulFirstIndex >= pobf->ulCapacity) return;
  if (ulBits > pobf->ulCapacity - ulFirstIndex) ulBits = pobf->ulCapacity - ulFirstIndex;
  _obfEachWord(ulFirstIndex, ulBits, [&](uint32_t w, uint32_t mask) {
    pobf->pulWords[w] &= ~mask;
    return true;
  });
}

uint32_t obfGetRange(obf *pobf, uint32_t ulFirst, uint32_t ulBits)
{
  if (ulBits == 0) return 0;
  if (ulBits > 32) ulBits = 32;
  uint32_t index;
  if (!_obfIndex(pobf, ulFirst, &index)) return 0;
  _obfGrow(pobf, static_cast<uint64_t>(index) + ulBits);
  uint32_t w = index / 32;
  uint32_t off = index % 32;
  uint64_t pair = static_cast<uint64_t>(_obfWord(pobf, w)) << 32 | _obfWord(pobf, w + 1);
  return static_cast<uint32_t>(pair >> (64 - off - ulBits)) & ulTemplateMask[ulBits];
}

void obfPutRange(obf *pobf, uint32_t ulFirst, uint32_t ulBits, uint32_t ulValue)
{
  if (ulBits == 0) return;
  if (ulBits > 32) ulBits = 32;
  uint32_t index;
  if (!_obfRangeStorage(pobf, ulFirst, ulBits, &index)) return;
  for (uint32_t j = 0; j < ulBits; j++) {
    uint32_t i = index + j;
    if ((ulValue >> (ulBits - 1 - j)) & 1) pobf->pulWords[i / 32] |= _obfMask(i);
    else pobf->pulWords[i / 32] &= ~_obfMask(i);
  }
}

int obfIsRangeSet(obf *pobf, uint32_t ulFirst, uint32_t ulBits)
{
  uint32_t index;
  if (!_obfIndex(pobf, ulFirst, &index)) return 0;
  _obfGrow(pobf, static_cast<uint64_t>(index) + ulBits);
  return _obfEachWord(index, ulBits, [&](uint32_t w, uint32_t mask) { return (_obfWord(pobf, w) & mask) == mask; })
             ? 1 : 0;
}

int obfIsRangeClear(obf *pobf, uint32_t ulFirst, uint32_t ulBits)
{
  uint32_t index;
  if (!_obfIndex(pobf, ulFirst, &index)) return 1;
  _obfGrow(pobf, static_cast<uint64_t>(index) + ulBits);
  return _obfEachWord(index, ulBits, [&](uint32_t w, uint32_t mask) { return (_obfWord(pobf, w) & mask) == 0; })
             ? 1 : 0;
}

void obfClearAll(obf *pobf)
{
  if (pobf->pulWords) memset(pobf->pulWords, 0, static_cast<size_t>(pobf->ulWordCount) * sizeof(uint32_t));
}

void obfSetAll(obf *pobf)
{
  if (!_obfGrow(pobf, pobf->ulBitCount)) return;
  /* Only the bits the set describes: a bit past the count would make inclusion and intersection tests fail. */
  _obfEachWord(0, pobf->ulBitCount, [&](uint32_t w, uint32_t mask) {
    pobf->pulWords[w] |= mask;
    return true;
  });
}

void obfCopy(const obf *psource, obf *ptarget)
{
  if (psource == ptarget) return;
  if (ptarget->ulCapacity < psource->ulCapacity) _obfGrow(ptarget, psource->ulCapacity);
  else obfClearAll(ptarget);
  uint32_t words = psource->ulWordCount < ptarget->ulWordCount ? psource->ulWordCount : ptarget->ulWordCount;
  if (words) memcpy(ptarget->pulWords, psource->pulWords, static_cast<size_t>(words) * sizeof(uint32_t));
}

int obfIsEmpty(const obf *pobf)
{
  for (uint32_t i = 0; i < pobf->ulWordCount; i++)
    if (pobf->pulWords[i]) return 0;
  return 1;
}

int obfIsIntersect(const obf *pa, const obf *pb)
{
  if (pa->ulBitCount != pb->ulBitCount) return 0;
  uint32_t words = pa->ulWordCount < pb->ulWordCount ? pa->ulWordCount : pb->ulWordCount;
  for (uint32_t i = 0; i < words; i++)
    if (pa->pulWords[i] & pb->pulWords[i]) return 1;
  return 0;
}

int obfIsIncluded(const obf *pa, obf *pb)
{
  if (pa->ulBitCount != pb->ulBitCount) return 0;
  _obfGrow(pb, pa->ulCapacity);
  for (uint32_t i = 0; i < pa->ulWordCount; i++)
    if (pa->pulWords[i] & ~_obfWord(pb, i)) return 0;
  return 1;
}

/* The result set of a set operation: made when NULL, grown to ulWords words when smaller. */
static obf *_obfResult(const obf *pa, obf *presult, uint32_t ulWords)
{
  if (!presult) return _obfNew(pa->ulBitCount, ulWords, OBF_KIND_PLAIN, pa->ulBase);
  if (!_obfGrow(presult, static_cast<uint64_t>(ulWords) * 32)) return nullptr;
  return presult;
}

obf *obfAnd(const obf *pa, const obf *pb, obf *presult)
{
  uint32_t na = pa->ulWordCount, nb = pb->ulWordCount;
  uint32_t common = na < nb ? na : nb;
  obf *pr = _obfResult(pa, presult, common);
  if (!pr) return presult;
  for (uint32_t i = 0; i < common; i++) pr->pulWords[i] = pa->pulWords[i] & pb->pulWords[i];
  return pr;
}

obf *obfOr(const obf *pa, const obf *pb, obf *presult)
{
  uint32_t na = pa->ulWordCount, nb = pb->ulWordCount;
  uint32_t common = na < nb ? na : nb;
  uint32_t longest = na < nb ? nb : na;
  obf *pr = _obfResult(pa, presult, longest);
  if (!pr) return presult;
  /* pr may be pa or pb, whose array may just have moved: read them afresh. */
  for (uint32_t i = 0; i < common; i++) pr->pulWords[i] = pa->pulWords[i] | pb->pulWords[i];
  const obf *plonger = na < nb ? pb : pa;
  for (uint32_t i = common; i < longest; i++) pr->pulWords[i] = plonger->pulWords[i];
  return pr;
}

obf *obfNotImplie(const obf *pa, const obf *pb, obf *presult)
{
  uint32_t na = pa->ulWordCount, nb = pb->ulWordCount;
  uint32_t common = na < nb ? na : nb;
  uint32_t longest = na < nb ? nb : na;
  obf *pr = _obfResult(pa, presult, longest);
  if (!pr) return presult;
  for (uint32_t i = 0; i < common; i++) pr->pulWords[i] = pa->pulWords[i] & ~pb->pulWords[i];
  for (uint32_t i = common; i < longest; i++) pr->pulWords[i] = i < na ? pa->pulWords[i] : 0;
  return pr;
}

int obfFindForward(const obf *pobf, uint32_t ulFrom, int iValue, uint32_t *pulIndex)
{
  uint64_t index = ulFrom;
  while (index < pobf->ulBitCount) {
    uint32_t w = static_cast<uint32_t>(index / 32);
    uint32_t word = _obfWord(pobf, w);
    if (!iValue) word = ~word;
    word &= 0xFFFFFFFFu >> (index % 32);
    if (word) {
      uint64_t found = static_cast<uint64_t>(w) * 32 + static_cast<uint32_t>(std::countl_zero(word));
      if (found >= pobf->ulBitCount) return 0;
      *pulIndex = static_cast<uint32_t>(found);
      return 1;
    }
    index = (static_cast<uint64_t>(w) + 1) * 32;
  }
  return 0;
}

/* The dump text without its newline. */
static std::string _obfText(const obf *pobf)
{
  std::string text;
  text.reserve(pobf->ulBitCount + pobf->ulBitCount / 5 + 40);
  if (pobf->ulBase) {
    text += '(';
    text += std::to_string(static_cast<long>(pobf->ulBase));
    text += ")-";
  }
  for (uint32_t index = 0; index < pobf->ulBitCount; index++) {
    uint64_t number = static_cast<uint64_t>(pobf->ulBase) + index;
    text += _obfBit(pobf, index) ? '1' : '0';
    if (number % 5 == 0) text += ' ';
  }
  return text;
}

void obfDump(const obf *pobf, FILE *pFile)
{
  if (!pFile) return;
  std::string text = _obfText(pobf);
  fprintf(pFile, "%s\n", text.c_str());
}

void obfPrintServices(const obf *pobf, const char *pcKeyword)
{
  std::string text = _obfText(pobf);
  if (text.empty()) return;
  omsgsTraceTo(pcKeyword, "%s\n", text.c_str());
}

uint32_t obfDumpFixedRange(const obf *pobf, FILE *pFile, uint32_t ulFirst, int iWidth)
{
  uint64_t end = static_cast<uint64_t>(pobf->ulBase) + pobf->ulBitCount;
  uint64_t number = ulFirst < pobf->ulBase ? pobf->ulBase : ulFirst;
  int pos = 0;
  while (number < end) {
    fputc(_obfBit(pobf, static_cast<uint32_t>(number - pobf->ulBase)) ? '1' : '0', pFile);
    pos++;
    if (pos < iWidth && number % 5 == 0) {
      fputc(' ', pFile);
      pos++;
    }
    if (pos >= iWidth) return static_cast<uint32_t>(number);
    number++;
  }
  for (; pos < iWidth; pos++) fputc(' ', pFile);
  return static_cast<uint32_t>(end);
}
