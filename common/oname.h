/*
** oname.h
**   Interning table: keeps one copy of each distinct name (any bytes, given
**   with their length), so that a name becomes a stable pointer and two names
**   compare equal exactly when their pointers are equal.  Interned pointers
**   keep their address for the life of the table, across growth.  A
**   persistent table (ONAME_PERSISTENT) also numbers its names 1, 2, 3 ... in
**   the order they are interned; an intern of length 0 reserves an id without
**   a name.  Ids are never reused.
**
**   Every entry is one allocation; the pointer handed to callers points at
**   the characters, which are followed by a NUL, and the 16-bit length is the
**   word just before them (onameGetLength).  A name is at most
**   ONAME_MAXLENGTH bytes; longer names are refused, never truncated.
**   Entry layouts (offsets on this 64-bit build; chosen by flag bits 2-1 and
**   fixed for the life of the table):
**
**     bits 2-1  OFFSET  SIZE  DESCRIPTION
**       any        0      8   next entry of the bucket chain
**       x1         8      4   name hash             (ONAME_FASTENTRY)
**       1x      8/12      4   id                    (ONAME_PERSISTENT)
**       any   len at      2   length; the characters and a NUL follow
**             8/12/12/16
**
**   onameCreate always sets ONAME_FASTENTRY, so every table keeps each
**   entry's hash: growth never rehashes the characters, and a lookup compares
**   hashes before lengths and bytes.
**
**   Name hash: K = 0x8D17DB; over the last min(length, 32) characters, from
**   the last one backwards, each taken as a signed 8-bit value c, h starts at
**   0 and each step is h = (h + c) * K (mod 2^32); bucket = h & mask.
**   Sizing, threshold and growth are those of odict.
**
**   The global pool of the request model, gpnameGlobal, is created by its
**   users with onameCreate(250, 80).  One thread of one process uses a table.
*/
#ifndef ZAV_COMMON_ONAME_H
#define ZAV_COMMON_ONAME_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#define ONAME_AUTORESIZE 0x1u     /* flag bit 0: grow automatically */
#define ONAME_FASTENTRY  0x2u     /* flag bit 1: entries keep their hash */
#define ONAME_PERSISTENT 0x4u     /* flag bit 2: names carry ids */
#define ONAME_MAXLENGTH  32767u   /* longest name a table accepts */
#define ONAME_HASH_K     0x8D17DBu
#define ONAME_HASH_CHARS 32u      /* characters read by the hash, from the end */

struct oname {
  uint32_t        ulThreshold;    /* count above which the table grows */
  uint32_t        ulCount;        /* number of distinct names */
  uint32_t        ulMask;         /* bucket count - 1 (power of two - 1) */
  uint32_t        ulFlags;        /* ONAME_AUTORESIZE | ONAME_FASTENTRY | ONAME_PERSISTENT */
  unsigned char **ppucBuckets;    /* mask + 1 chain heads (entries) */
  uint32_t        ulTotalLength;  /* sum of the byte lengths of all names */
  uint32_t        ulLastId;       /* last id handed out; 0 when none */
  uint32_t        ulIdCapacity;   /* usable slots of the id array */
  const char    **ppcIds;         /* id -> interned pointer; slot 0 unused;
                                     NULL on a table without ids */
};

/* The request model's global interning pool; NULL until its users create it. */
extern oname *gpnameGlobal;

/*
** onameGetLength
**   Returns the byte length of an interned name, read from the 16-bit word
**   just before its characters.  REQUIRES: pcName was returned by a table.
*/
inline uint32_t onameGetLength(const char *pcName)
{
  uint16_t usLength;
  std::memcpy(&usLength, pcName - 2, sizeof usLength);
  return usLength;
}

/*
** onameCreate
**   Makes an empty table with auto-resize and fast entry (flags 3), no ids,
**   sized as odictCreate (hint 0 = 256 buckets, load 0 = 80 percent).
**   Returns the table, or NULL when memory runs out (nothing left allocated).
*/
oname *onameCreate(uint32_t ulSizeHint, uint32_t ulLoadFactor);

/*
** onameCreateExtended
**   onameCreate, then the extra flags are added; with ONAME_PERSISTENT an id
**   array of mask + 1 zeroed slots is made and the id capacity is hint + 1.
**   Returns the table, or NULL when memory runs out (nothing left allocated).
*/
oname *onameCreateExtended(uint32_t ulSizeHint, uint32_t ulLoadFactor, uint32_t ulFlags);

/*
** onameDestroy
**   Frees every entry, the bucket array, the id array and the header; the
**   interned pointers die with it.  NULL is ignored.
*/
void onameDestroy(oname *pname);

/*
** onameInternFixed
**   Returns the table's copy of the first ulLength bytes of pcName, adding it
**   when absent (on a persistent table with the next id), then grows the
**   table when auto-resize is on and the count exceeds the threshold.
**   Length 0: on a persistent table reserves the next id without a name;
**   returns NULL in every case.
**   Returns NULL also for a NULL table or name, for a name longer than
**   ONAME_MAXLENGTH, and when memory runs out; the table is then unchanged.
*/
const char *onameInternFixed(oname *pname, const char *pcName, size_t ulLength);

/*
** onameGetFixed
**   Lookup only.  Returns the table's copy of the name, NULL when it was never
**   interned (nothing is added).
*/
const char *onameGetFixed(const oname *pname, const char *pcName, size_t ulLength);

/*
** onameGetFromId
**   Returns the name with that id; NULL for id 0, an id above the last id, a
**   reserved id without a name, and on a table without ids.
*/
const char *onameGetFromId(const oname *pname, uint32_t ulId);

/*
** onameSetSize
**   Grows the bucket array as odictSetSize; entries move by their stored hash
**   (tables without stored hashes hash their characters again).
*/
void onameSetSize(oname *pname, uint32_t ulSizeHint);

/* onameSetAutoResize: as odictSetAutoResize. */
void onameSetAutoResize(oname *pname, int iOn);

/*
** onameSetFastEntry
**   Changes nothing: the entry layout is fixed when the table is made, and
**   tables made by onameCreate already keep hashes.
*/
void onameSetFastEntry(oname *pname, int iOn);

/* onameIsAutoResize, onameIsFastEntry, onameIsPersistant: flag bits 0, 1, 2 as 1 or 0. */
int onameIsAutoResize(const oname *pname);
int onameIsFastEntry(const oname *pname);
int onameIsPersistant(const oname *pname);

/* onameGetSize, onameGetLoadFactor, onameGetCount: mask, threshold, count. */
uint32_t onameGetSize(const oname *pname);
uint32_t onameGetLoadFactor(const oname *pname);
uint32_t onameGetCount(const oname *pname);

/*
** onameDump
**   Writes to pfile (standard output when NULL) the count as "%i", a NUL byte,
**   then every name in bucket order (buckets 0 to mask, each chain from its
**   head), each followed by a NUL byte.
*/
void onameDump(const oname *pname, FILE *pfile);

/* _nameHash: returns the name hash of the first ulLength bytes of pcName. */
uint32_t _nameHash(const oname *pname, const char *pcName, size_t ulLength);

/*
** _nameIsExist
**   Searches bucket ulHash & mask for the name: with stored hashes an entry
**   matches when its hash, its length and its bytes are equal, otherwise its
**   length and bytes.  Sets *ppucEntry to the entry (NULL when absent).
**   Returns 1 when found, else 0.
*/
int _nameIsExist(const oname *pname, const char *pcName, size_t ulLength,
                 uint32_t ulHash, unsigned char **ppucEntry);

#endif
