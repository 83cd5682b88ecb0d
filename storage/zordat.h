/*
** zordat.h
**   Threaded online reader: reads a table's pages straight from the
**   containers of a live database for the table-space object (zorts.h,
**   source 2).  One access object per table and partition describes the
**   containers (SMS: the table's files; DMS: the container files) and keeps
**   a one-extent cache per container for read-absolute.  A page source per
**   object (data, long field, LOB) holds the DMS extent-map iterator; the
**   data page source also runs the threads that read whole extents ahead.
**   Used inside one reader process; the partition records given to
**   zordatCreate are borrowed and must outlive the access object.
**
**   THREADS AND LISTS
**     consumer    the caller of zordatReadNextDat / zordatReadAbsDatPage
**     dispatcher  maps each extent (DMS: extent map; SMS: 0, 1, ...) to its
**                 container, takes a free extent buffer and queues it to the
**                 reader of that container
**     readers     one per container (one for a remote partition), each
**                 reads the extents queued to it and posts them to the
**                 read list
**   An extent buffer is on exactly one of: the free list, a reader's queue,
**   the read list, or held by the consumer.  mutexFree guards the free list
**   and the stop flag, mutexRead the read list, the end code and the
**   read-error code, each reader's mutex its queue; no thread holds two of
**   them.  A post appends a buffer (or, bare, only counts) and broadcasts;
**   waits are one-second timed waits repeated while nothing is posted.
**
**   STATES OF A PAGE SOURCE
**     opened   (zordatOpenPSDat: first page read, description built)
**     launched (zordatLaunchPS: buffers, readers, dispatcher running)
**     ended    dispatcher joined its readers after the last extent, on the
**              stop flag, or at once for an object without extents
**     stopped  (zordatPSDestroy: stop flag set, dispatcher joined, freed)
**   Invariants: the end code is set only after every extent was queued;
**   read-next returns the end code only when the end code is set and every
**   buffer is back on the free list; a reader that cannot open a container
**   sets the read-error code, and read-next returns it (0x113a003) instead
**   of waiting for buffers that reader will never post.
**
**   Traces: "$DAT".
*/
#ifndef ZAV_STORAGE_ZORDAT_H
#define ZAV_STORAGE_ZORDAT_H

#include <pthread.h>

#include <cstdint>

#include "common/oreason.h"

struct ficcont;
struct ficcontCont;
struct ochaine;
struct zorts;
struct zortsEmpIterator;

/* Flags of the access object. */
#define ZORDAT_FLAG_LOB 0x1   /* has a LOB child */
#define ZORDAT_FLAG_LF  0x2   /* has a long-field child */

/* Reason codes (the end and read codes are the table-space object's). */
#define ZORDAT_RC_END      ORC_MAKE(0x113, 1, 0x001)  /* 0x1139001 end of data or stop */
#define ZORDAT_RC_ENDEMP   ORC_MAKE(0x113, 1, 0x002)  /* 0x1139002 end of the extent map */
#define ZORDAT_RC_READ     ORC_MAKE(0x113, 2, 0x003)  /* 0x113a003 container read error */
#define ZORDAT_RC_OPEN     ORC_MAKE(0x114, 4, 0x001)  /* 0x114c001 cache container cannot be opened */
#define ZORDAT_RC_NOBUFFER ORC_MAKE(0x115, 1, 0x002)  /* 0x1159002 no memory for a read-absolute buffer */
#define ZORDAT_RC_NOMEM    ORC_MAKE(0x113, 4, 0x001)  /* 0x113c001 no memory */

/* SMS file extensions. */
#define ZORDAT_EXT_DAT ".DAT"
#define ZORDAT_EXT_LF  ".LF"
#define ZORDAT_EXT_LB  ".LB"

/* One container of the access object. */
struct zordatCont {
  char *pcFileName;          /* SMS: <path>/SQLnnnnn.<ext>; DMS: the container path (owned) */
  int iFd;                   /* direct-read cache: descriptor, or daemon connection when remote */
  int32_t ilIndex;           /* container index */
  ficcontCont *pcont;        /* container item of the partition record (borrowed) */
  unsigned char *pucExtent;  /* extent cache of read-absolute (owned) */
  int32_t ilCachedExtent;    /* extent in the cache, -1 none */
  int32_t ilCachedPages;     /* pages of it actually read */
  int32_t boOpen;            /* iFd is open */
  int64_t llFileSize;
  int64_t llOffset;          /* byte offset of the page area (DMS: page size x header pages) */
};

/* Online access object. */
struct zordat {
  int32_t ilFlags;           /* ZORDAT_FLAG_* */
  int32_t ilType;            /* 1 SMS, 2 DMS */
  int32_t ilObjId;           /* SMS: file id; DMS: object id (children: their object's) */
  int32_t ilTbsId;
  char *pcUser;              /* user for the daemon (owned) */
  ficcont *pficcont;         /* partition record (borrowed) */
  zordat *pzordatLF;         /* long-field child (owned) */
  zordat *pzordatLOB;        /* LOB child (owned) */
  int32_t ilContainers;
  zordatCont *pconts;        /* ilContainers entries (owned) */
  pthread_mutex_t mutexCache; /* guards the read-absolute cache (the dispatcher walks EMP pages through it) */
};

/* Extent buffer: this head, then room for one extent, in one allocation. */
struct zordatBuffer {
  void *pitemNext;           /* chain links */
  void *pitemPrev;
  int32_t ilCont;            /* container index */
  int64_t llOffset;          /* byte offset of the extent in the container's page area */
  int32_t ilDataSize;        /* bytes wanted */
  int32_t ilPageSize;
  int32_t ilPagesRead;       /* set by the reader; -1 when the read failed */
  int32_t ilPagesLeft;       /* pages still to hand out */
  int32_t ilNextOffset;      /* offset of the next page to hand out */
  int32_t boLastPage;        /* the table's last page was handed out */
  int32_t ilObjectExtent;    /* place of the extent in the object: its pages are object pages from X times it */
};

struct zordatPS;

/* A container reader thread. */
struct zordatReader {
  zordat *pzordat;
  zorts *pzorts;
  zordatPS *pps;
  pthread_t tid;
  int32_t boStarted;
  int32_t *pilConts;         /* indexes of its containers (owned) */
  int32_t ilContCount;
  ochaine *pchaineQueue;     /* extent buffers queued to it */
  int32_t ilPosts;           /* posts not yet taken */
  pthread_mutex_t mutex;
  pthread_cond_t cond;
  int iResult;               /* 0 after its bare post, ZORDAT_RC_READ when a container failed */
};

/* Page source of one object. */
struct zordatPS {
  zortsEmpIterator *pempIterator;   /* DMS extent map (owned), or NULL */
  zordat *pzordat;
  zorts *pzorts;
  zordatBuffer *pbufCurrent;        /* consumer's buffer */
  pthread_mutex_t mutexFree, mutexRead;
  pthread_cond_t condFree, condRead;
  ochaine *pchaineFree;             /* pData: stop flag */
  ochaine *pchaineRead;             /* pData: end code */
  int32_t ilFreePosts, ilReadPosts; /* posts not yet taken */
  int32_t ilReadError;              /* a reader lost buffers: its code */
  int32_t ilReaders;
  int32_t ilBuffers;
  int32_t ilBufferSize;             /* extent size x page size */
  int32_t ilExtents;                /* SMS: extents of the table */
  int32_t ilNextExtent;             /* SMS: next extent of the dispatcher */
  zordatReader *preaders;
  zordatReader **ppreaderByCont;
  pthread_t tidDispatcher;
  int32_t boLaunched;
  unsigned char *pucObjTabRecord;   /* DMS object-table record (owned) */
};

/*
** zordatCreate
**   The access object of a table (SMS: file id ilObjId; DMS: object id) in
**   the table space of pficcont, with a long-field and a LOB child: SMS,
**   over the same containers (".LF", ".LB" files); DMS, over the containers
**   of pficcontLong (the table's long table space) or, without it, of
**   pficcont.  pcUser: user name for the daemon (remote partitions).
**   pReserved is not used.
**   Returns the object with *piCode 0, or NULL with ORC_INVALID (no record
**   or container list, unknown type) or ZORDAT_RC_NOMEM.
*/
zordat *zordatCreate(ficcont *pficcont, ficcont *pficcontLong, int32_t ilTbsId, int32_t ilObjId,
                     const char *pcUser, void *pReserved, int *piCode);

/*
** zordatDataBuffers
**   The extent buffers a data page source runs with: two per container,
**   and, when extents are small, as many more as hold ZORDAT_AHEAD_BYTES,
**   so that the readers keep ahead of the consumer instead of waking it
**   extent by extent.  2 for NULL.
*/
#define ZORDAT_AHEAD_BYTES (2 * 1024 * 1024)
int32_t zordatDataBuffers(const zordat *pzordat);

/* zordatDetermineType: the table-space type (1 SMS, 2 DMS), 0 for NULL. */
int32_t zordatDetermineType(zordat *pzordat);

/*
** zordatOpenPSDat
**   Data page source of the table-space object pzorts (source 2, pzordat
**   set).  Sets the object's extent size, page size and descriptor flags
**   from the partition record, installs the read-absolute slot when none is
**   set, reads the table's first page (SMS: page 0; DMS: through the object
**   table and the data object's extent map) and builds the table
**   description.  DMS: when the object-table record says so (byte 3 = 0),
**   the children take the record's long-field and LOB ids, and a child
**   whose id there is 0 loses its flag (the table has no such object).
**   An object without extents opens without a description; its reads end
**   at once.  ilBuffers:
**   extent buffers to run with (2 x containers when below 1).
**   Returns the page source (also stored in pzorts->pPageSource) with
**   *piCode 0, or NULL with ZORDAT_RC_NOMEM, the read code, the extent-map
**   or object-table code, or ZORTS_RC_NODESC (after ZORU436E) when the
**   first page holds no description.
*/
zordatPS *zordatOpenPSDat(zorts *pzorts, int32_t ilBuffers, int *piCode);

/*
** zordatOpenPSLf / zordatOpenPSLob
**   Page source of the long-field / LOB child object pzortsChild (source 2,
**   pzordat = the child access object): sets its geometry from the child's
**   partition record; DMS: finds the child object's object-table record and
**   creates the extent-map iterator at its long-field (offset 68) / LOB
**   (offset 92) first EMP page (none when that map is empty or the child's
**   object id is 0).
**   Returns the page source (stored in pzortsChild->pPageSource) with
**   *piCode 0, or NULL with a code as zordatOpenPSDat.
*/
zordatPS *zordatOpenPSLf(zordatPS *ppsDat, zorts *pzortsChild, int32_t ilBuffers, int *piCode);
zordatPS *zordatOpenPSLob(zordatPS *ppsDat, zorts *pzortsChild, int32_t ilBuffers, int *piCode);

/*
** zordatLaunchPS
**   Creates the lists, the extent buffers, the reader contexts and threads
**   and the dispatcher of the object's data page source.
**   Returns 0, ORC_INVALID without a page source or when already launched,
**   ZORDAT_RC_NOMEM, or the pthread code when a thread cannot be started
**   (threads started are stopped and joined again).
*/
int zordatLaunchPS(zorts *pzorts);

/*
** zordatReadNextDat
**   Read-next slot: the next page in order of arrival (torn-page bits
**   restored in place; valid until the next call) with *piCode 0, the
**   object page it must be in pzorts->llPageExpected (pages at or past the
**   table's page count are not handed out), or NULL
**   with the end code (0x1139002 end of the extent map or of an SMS table,
**   0x1139001 stop), ZORDAT_RC_READ when an extent could not be read, or
**   ORC_INVALID when the source was not launched.
*/
unsigned char *zordatReadNextDat(zorts *pzorts, int *piCode);

/*
** zordatReadAbsDatPage
**   Read-absolute slot: ilCount pages from page ulPage (SMS: page of the
**   table's file; DMS: table-space page), which must lie in one extent,
**   into pcBuffer or a new buffer (malloc; the caller frees it); ilFlags
**   bit 0 restores the torn-page bits of each page.  Calls on one access
**   object are serialised by its cache lock.
**   Returns the buffer, or NULL with ZORDAT_RC_NOBUFFER, ZORDAT_RC_OPEN (a
**   remote container cannot be opened), the open code of a local one,
**   ZORDAT_RC_READ (read failed, or the pages lie past the container's
**   end), ORC_INVALID (no mapping, or pages across an extent boundary).
*/
unsigned char *zordatReadAbsDatPage(zorts *pzorts, uint32_t ulPage, unsigned char *pcBuffer, int32_t ilCount,
                                    int32_t ilFlags, int *piCode);

/*
** zordatLogical2Physical
**   Extent ilExtent (DMS: table-space extent; SMS: extent of the table's
**   files) to its container and extent within the container's page area.
**   Returns 0, or the mapping's code (outputs -1) when it has no mapping.
*/
int zordatLogical2Physical(zordat *pzordat, int32_t ilExtent, int32_t *pilCont, int32_t *pilExtentInCont);

/*
** zordatPSDestroy
**   Stops a launched page source (stop flag, dispatcher joined, which joins
**   the readers), then frees its buffers, lists, locks, iterator, record
**   and the page source.  NULL accepted.
*/
void zordatPSDestroy(zordatPS *pps);

/* zordatPSLobLfDestroy: frees a child page source and its iterator; NULL accepted. */
void zordatPSLobLfDestroy(zordatPS *pps);

/* zordatCloseFiles: closes the containers opened by the read-absolute cache of the object's access object. */
void zordatCloseFiles(zorts *pzorts);

/* zordatDestroy: closes and frees the container entries, the children and the object; NULL accepted. */
void zordatDestroy(zordat *pzordat);

/*
** zordatBuildContainerFilename
**   SMS (type 1): "<path>/SQL<file id in 5 digits><extension>"; DMS: a copy
**   of the path.  Returns a new string (malloc), or NULL.
*/
char *zordatBuildContainerFilename(const char *pcPath, const char *pcExtension, int32_t ilFileId, int32_t ilType);

#endif
