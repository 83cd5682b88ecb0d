/*
** odict.h
**   Hash dictionary keyed by word-sized values: interned-name pointers (the
**   atoms of a task), CCSID pairs (the converter cache), resource type codes
**   and node kinds.  Chained buckets, a power-of-two bucket count, automatic
**   doubling once the entry count passes the load threshold.  The table owns
**   its entries; it owns the values only when a value-destroy callback is set
**   (the creator sets procDestroy directly after odictCreate).
**
**   There is no removal: an owner "removes" a key by storing NULL under it,
**   which keeps the entry and the count.  Iteration (cursor, odictForEach)
**   walks buckets 0 to mask, each chain from its head; new entries are pushed
**   at the head of their chain, so the order depends only on the keys, the
**   order of the stores and the bucket arithmetic below, never on addresses
**   of the entries.
**
**   Key hash: with K = 0x8D17DB and the key's low four bytes b0 (least
**   significant) to b3, each taken as a signed 8-bit value,
**     h = ((((b0 * K) + b1) * K + b2) * K + b3) * K   (mod 2^32),
**   bucket = h & mask.  Keys are pointer-wide so that interned-name pointers
**   fit; only their low four bytes enter the hash, so integer keys hash the
**   same on every host.
**
**   Sizing: a size hint of 0 gives 256 buckets, any other hint n gives the
**   smallest power of two above n; a load factor of 0 means 80 percent; the
**   threshold is mask * load / 100 + 1.  Growth doubles the bucket count and
**   the threshold; a growth that cannot get memory switches auto-resize off
**   and leaves the table working at its old size.
**
**   One thread of one process uses a table; forked children inherit copies.
*/
#ifndef ZAV_COMMON_ODICT_H
#define ZAV_COMMON_ODICT_H

#include <cstdint>

#define ODICT_AUTORESIZE 0x1u     /* flag bit 0: grow automatically */
#define ODICT_HASH_K     0x8D17DBu /* multiplier of the key hash */

/* One entry of a bucket chain; new entries go to the head of the chain. */
struct odictentry {
  odictentry *pNext;   /* chain successor, NULL at the end */
  uintptr_t   ulKey;   /* key (only its low four bytes are hashed) */
  void       *pValue;  /* value, NULL when "removed" */
};

/* Called with each non-NULL value when the table is destroyed. */
typedef void (*odictDestroyProc)(void *pValue);

/* Called by odictForEach for each entry. */
typedef void (*odictForEachProc)(uintptr_t ulKey, void *pValue, void *pArg);

struct odict {
  uint32_t         ulThreshold;     /* entry count above which the table grows */
  uint32_t         ulCount;         /* number of entries */
  uint32_t         ulMask;          /* bucket count - 1 (power of two - 1) */
  uint32_t         ulFlags;         /* ODICT_AUTORESIZE */
  odictentry     **ppentryBuckets;  /* mask + 1 chain heads */
  odictDestroyProc procDestroy;     /* NULL, or destroys values with the table */
};

/* Caller-owned cursor: {table, bucket index, entry}.  Past the end the entry
** is NULL and the bucket index is mask + 1. */
struct odictcursor {
  odict      *pdict;
  uint32_t    ulBucket;
  odictentry *pentry;
};

/*
** odictCreate
**   Makes an empty table (auto-resize on, no destroy callback) sized from the
**   hint and the load factor in percent (0 = 80).
**   Returns the table, or NULL when memory runs out (nothing left allocated).
*/
odict *odictCreate(uint32_t ulSizeHint, uint32_t ulLoadFactor);

/*
** odictDestroy
**   Passes every non-NULL value to procDestroy when it is set, frees the
**   entries, the bucket array and the header.  NULL is ignored.
*/
void odictDestroy(odict *pdict);

/*
** odictStore
**   Replaces the value of an existing key (the old value is not passed to the
**   destroy callback), else pushes a new entry at the head of its bucket and
**   counts it; then grows the table when auto-resize is on and the count
**   exceeds the threshold.
**   Returns 0, ORC_INVALID for a NULL table, or ORC_NOMEM when a new entry
**   cannot be allocated (the table is unchanged).
*/
int odictStore(odict *pdict, uintptr_t ulKey, void *pValue);

/*
** odictLoad
**   Returns the value stored under the key, NULL when the key is absent (or
**   NULL was stored).
*/
void *odictLoad(const odict *pdict, uintptr_t ulKey);

/*
** odictSetSize
**   Grows the bucket array to the smallest power of two above the hint (a hint
**   of 0 means one bucket); never shrinks.  The threshold is multiplied by the
**   growth ratio and every entry is pushed onto the head of its new bucket,
**   old buckets taken in order 0 to old mask.  When the new array cannot be
**   allocated, auto-resize is switched off and the table stays as it was.
*/
void odictSetSize(odict *pdict, uint32_t ulSizeHint);

/*
** odictSetAutoResize
**   Off clears the flag.  On, when it was off, sets it and, when
**   count / threshold is not 0, grows with odictSetSize(quotient * mask).
*/
void odictSetAutoResize(odict *pdict, int iOn);

/* odictIsAutoResize: returns 1 when auto-resize is on, else 0. */
int odictIsAutoResize(const odict *pdict);

/* odictGetSize: returns the mask (bucket count - 1). */
uint32_t odictGetSize(const odict *pdict);

/* odictGetLoadFactor: returns the current threshold. */
uint32_t odictGetLoadFactor(const odict *pdict);

/* odictGetCount: returns the number of entries. */
uint32_t odictGetCount(const odict *pdict);

/*
** odictForEach
**   Calls procForEach(key, value, pArg) for each entry in cursor order; the
**   number of calls is the count taken at the start (fewer when the walk
**   reaches the end first).  procForEach must not store into the table.
*/
void odictForEach(odict *pdict, odictForEachProc procForEach, void *pArg);

/*
** odictCursorInit
**   Positions the cursor on the first entry of the first non-empty bucket, or
**   past the end on an empty table.
*/
void odictCursorInit(odictcursor *pcursor, odict *pdict);

/*
** odictCursorNext
**   Moves to the chain successor, else to the head of the next non-empty
**   bucket, else past the end; no effect past the end.
**   Returns the new entry, NULL past the end.
*/
odictentry *odictCursorNext(odictcursor *pcursor);

/* odictCursorGetKey: returns the current entry's key, 0 past the end. */
uintptr_t odictCursorGetKey(const odictcursor *pcursor);

/* odictCursorGetValue: returns the current entry's value, NULL past the end. */
void *odictCursorGetValue(const odictcursor *pcursor);

/* odictCursorDestroy: clears the cursor's three words. */
void odictCursorDestroy(odictcursor *pcursor);

#endif
