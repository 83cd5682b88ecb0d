/*
** obf.h
**   Growable bit set, used for partition sets.  The bit count is explicit and
**   changes only through obfResize and the Create operations; the word array
**   grows on demand when a write lands beyond it, so storage may extend past
**   the bit count.  Bit numbers passed to most operations include the set's
**   base offset ("index" = number - base); the bit with index i lies in word
**   i / 32 under the mask 0x80000000 >> (i % 32), the first bit of a word
**   being its most significant bit.  A write whose storage cannot grow is not
**   done.  Sets belong to one thread.
*/
#ifndef ZAV_COMMON_OBF_H
#define ZAV_COMMON_OBF_H

#include <cstdint>
#include <cstdio>

/* Kinds: how a set was made.  Recorded and copied, read by no operation. */
#define OBF_KIND_PLAIN       0   /* obfCreate */
#define OBF_KIND_DEFERED     1   /* obfCreateDefered: no storage yet */
#define OBF_KIND_RANGE       2   /* obfCreateRange: one bit, one word */
#define OBF_KIND_RANGE_EMPTY 3   /* obfCreateRange with flag bit 0: no storage */

struct obf {
  uint32_t *pulWords;           /* NULL when the set has no storage */
  uint32_t ulBitCount;          /* bits the set describes */
  uint32_t ulWordCount;         /* words in pulWords */
  uint32_t ulKind;              /* OBF_KIND_... */
  uint32_t ulBase;              /* base offset subtracted from bit numbers */
  uint32_t ulCapacity;          /* bits of storage: ulWordCount * 32 */
};

/* Entry n has its low n bits set (entry 0 is 0, entry 32 is 0xFFFFFFFF). */
extern const uint32_t ulTemplateMask[33];

/* obfCreate: a set of ulBits bits, all clear, with storage for them. */
obf *obfCreate(uint32_t ulBits);
/* obfCreateDefered: a set of ulBits bits without storage. */
obf *obfCreateDefered(uint32_t ulBits);
/* obfCreateRange: a one-bit set with base offset ulBase; ulFlags bit 0: no storage. */
obf *obfCreateRange(uint32_t ulBase, uint32_t ulUnused, uint32_t ulFlags);
/* obfClone: a copy of the set and its words; NULL for NULL. */
obf *obfClone(const obf *pobf);
void obfDestroy(obf *pobf);

/*
** obfResize
**   Sets the bit count to ulBits and the storage to exactly the words they
**   need.  Bits already stored below ulBits are kept (also those written
**   past the old count), new words are zero, and the bits from ulBits to the
**   end of the last word are cleared.
*/
void obfResize(obf *pobf, uint32_t ulBits);

/* obfGet: 1 when the bit is set; 0 beyond the bit count or the storage.  Never grows. */
int obfGet(const obf *pobf, uint32_t ulNumber);
void obfSet(obf *pobf, uint32_t ulNumber);
void obfClear(obf *pobf, uint32_t ulNumber);
void obfToggle(obf *pobf, uint32_t ulNumber);
void obfPut(obf *pobf, uint32_t ulNumber, int iValue);

void obfSetRange(obf *pobf, uint32_t ulFirst, uint32_t ulBits);
void obfToggleRange(obf *pobf, uint32_t ulFirst, uint32_t ulBits);
/* obfClearRange: takes an index (no base offset) and never grows; bits beyond the storage are ignored. */
void obfClearRange(obf *pobf, uint32_t ulFirstIndex, uint32_t ulBits);
/* obfGetRange: ulBits (1 to 32) bits from ulFirst as the low bits of the result, the first most significant. */
uint32_t obfGetRange(obf *pobf, uint32_t ulFirst, uint32_t ulBits);
/* obfPutRange: writes the low ulBits (1 to 32) bits of ulValue from ulFirst on. */
void obfPutRange(obf *pobf, uint32_t ulFirst, uint32_t ulBits, uint32_t ulValue);
/* obfIsRangeSet / obfIsRangeClear: 1 when all ulBits bits are set / clear. */
int obfIsRangeSet(obf *pobf, uint32_t ulFirst, uint32_t ulBits);
int obfIsRangeClear(obf *pobf, uint32_t ulFirst, uint32_t ulBits);

void obfClearAll(obf *pobf);
/* obfSetAll: sets every bit below the bit count (bits beyond it are left as they are). */
void obfSetAll(obf *pobf);
/* obfCopy: copies the source's words over the target's (bit count and base of the target kept). */
void obfCopy(const obf *psource, obf *ptarget);
int obfIsEmpty(const obf *pobf);
/* obfIsIntersect: 0 when the bit counts differ, else 1 when a and b share a set bit. */
int obfIsIntersect(const obf *pa, const obf *pb);
/* obfIsIncluded: 0 when the bit counts differ, else 1 when every bit of a is set in b. */
int obfIsIncluded(const obf *pa, obf *pb);

/*
** obfAnd, obfOr, obfNotImplie
**   Word-wise a AND b, a OR b, a AND NOT b into presult, which is made (all
**   clear, with a's bit count and base) when NULL and grown when too small.
**   Returns presult; the caller owns a set made here.
*/
obf *obfAnd(const obf *pa, const obf *pb, obf *presult);
obf *obfOr(const obf *pa, const obf *pb, obf *presult);
obf *obfNotImplie(const obf *pa, const obf *pb, obf *presult);

/*
** obfFindForward
**   Searches from index ulFrom (no base offset) for the first bit below the
**   bit count whose value is iValue (a bit beyond the storage is 0).
**   Returns 1 with its index in *pulIndex, or 0 when there is none.
*/
int obfFindForward(const obf *pobf, uint32_t ulFrom, int iValue, uint32_t *pulIndex);

/* obfDump: "(base)-" when the base is set, then one '1' or '0' per bit, a blank after each number that is a multiple of 5. */
void obfDump(const obf *pobf, FILE *pFile);
/* obfPrintServices: the obfDump text as one raw trace text for pcKeyword. */
void obfPrintServices(const obf *pobf, const char *pcKeyword);
/*
** obfDumpFixedRange
**   Writes a column of iWidth characters from bit number ulFirst on.
**   Returns the number of the last bit written when the width was used up,
**   or base + bit count when the set ended first (the rest then blank).
*/
uint32_t obfDumpFixedRange(const obf *pobf, FILE *pFile, uint32_t ulFirst, int iWidth);

/* _obfResize: grows the storage to hold ulBits bits (new words zero); the bit count is kept. */
void _obfResize(obf *pobf, uint32_t ulBits);

#endif
