/*
** olds.h
**   Paged data objects: random byte access to a file, or to a growable memory
**   image, through a few in-memory windows of consecutive 4096-byte pages.
**   Windows are recycled least recently used first and written back when
**   dirty; bytes past the end of the file read as zeros.  The resource file
**   (orscs) is the one user.  Single-threaded: one object, one thread.
**
**   Results of oldsRead/oldsWrite/oldsFlush/oldsClose:
**     0           success
**     OLDS_RANGE  (-13) a position beyond the size limit (type 5: beyond the
**                 image on a read, or the image cannot grow on a write)
**     OLDS_NOWIN  (-12) no window can be had
**     OLDS_IO     (-5)  the file could not be positioned, read or written
**                 (a full disk, a descriptor not open for writing ...)
*/
#ifndef ZAV_COMMON_OLDS_H
#define ZAV_COMMON_OLDS_H

#include <cstdint>

struct ochaine;

#define OLDS_RANGE (-13)
#define OLDS_NOWIN (-12)
#define OLDS_IO    (-5)

#define OLDS_PAGE_SIZE      4096u
#define OLDS_DEFAULT_LIMIT  20u      /* windows held when the caller gives 0 */
#define OLDS_TYPE_FILE      2        /* types 2, 3 and 4 are files alike */
#define OLDS_TYPE_MEMORY    5
#define OLDS_CREATED        0x1u     /* flags: the open created the file */

/* One window: chain links first (an ochaine item). */
struct oldsWindow {
  oldsWindow *pNext;
  oldsWindow *pPrev;
  unsigned char *pBuffer;      /* window size bytes */
  uint32_t ulIndex;            /* window number */
  int iDirty;                  /* 1 = modified since read */
};

struct olds {
  ochaine *pchaineWindows;     /* least recently used first */
  oldsWindow **ppWindowTable;  /* ulHighestWindow + 1 slots, by window number */
  uint32_t ulShift;            /* log2 of the window size */
  uint32_t ulOffsetMask;       /* window size - 1 */
  uint32_t ulWindowSize;
  uint32_t ulPagesPerWindow;
  uint32_t ulHighestWindow;    /* size limit >> shift */
  uint32_t ulWindowsAllocated;
  uint32_t ulWindowLimit;
  uint32_t ulFlags;            /* OLDS_CREATED */
  int iFd;                     /* types 2 to 4 */
  unsigned char *pImage;       /* type 5 */
  int iType;
  uint32_t ulSizeLimit;        /* files: all-ones offset mask; type 5: image size */
};

/*
** oldsOpen
**   Opens (or creates, mode 0600) the file at pcPath as a paged object of type
**   2 to 4, or allocates a zeroed memory image of ulSizeLimit bytes (type 5).
**   Pages per window: the smallest power of two above ulPageMask (63 gives
**   256 KB windows, 7 gives 32 KB).  ulSizeLimit 0 means unlimited; otherwise
**   every bit below its highest set bit is set too.  ulWindowLimit 0 means 20.
**   Returns the object, or NULL (traced: LDS0010E, LDS0011E, LDS0012E).
*/
olds *oldsOpen(const char *pcPath, int iType, uint32_t ulWindowLimit,
               uint32_t ulPageMask, uint32_t ulSizeLimit);

/*
** oldsRead / oldsWrite
**   Copy ulLength bytes at ulOffset to pDest / from pSrc.
**   Returns 0, OLDS_RANGE, OLDS_NOWIN or OLDS_IO (see above).
*/
int oldsRead(olds *plds, uint32_t ulOffset, uint32_t ulLength, void *pDest);
int oldsWrite(olds *plds, uint32_t ulOffset, uint32_t ulLength, const void *pSrc);

/*
** oldsFlush
**   Writes every dirty window back, oldest first.  Returns 0, or OLDS_IO when
**   a window could not be written (it stays dirty).
*/
int oldsFlush(olds *plds);

/*
** oldsClose
**   Flushes, frees every window, closes the descriptor (type 5: frees the
**   image unless it was detached) and frees the object.  Returns 0, or
**   OLDS_IO when data could not be written back or the close failed.
*/
int oldsClose(olds *plds);

/*
** oldsCreateFromMem
**   A type-5 object over an existing malloc'ed image of ulSize bytes; the
**   object owns the image from then on.  NULL (LDS0011E) when out of memory.
*/
olds *oldsCreateFromMem(void *pImage, uint32_t ulSize);

/*
** oldsDetachMemoryFile
**   Type 5 only: returns the image and forgets it (the caller owns it).
**   NULL for other types.
*/
void *oldsDetachMemoryFile(olds *plds);

/* Creation parameters: kept for callers; they change nothing.  Return 0. */
extern const char *gpzcParamCreate;
extern const char *gpzcDefaultParamCreate;
int oldsSetOpenParam(const char *pcParam);
int oldsResetOpenDefault(void);

#endif
