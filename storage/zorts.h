/*
** zorts.h
**   Table-space object: one interface over the pages of a table whatever
**   serves them (a backup image, or the containers through the threaded
**   online reader).  The object carries two page-source slots, set when it
**   is created: read-next hands out the table's data pages in order,
**   read-absolute reads any pages by number.  Callers: the partition read
**   driver and the catalogue-from-backup reader.
**
**   This file holds the object, the extent-map walk and object-table lookup
**   done through its read-absolute slot, and its reading of a table's first
**   page (data-file header in slot 0, table directory record in slot 2,
**   table descriptor in slot 3, possibly through one pointer record, with
**   the record layouts of storage/ficdata.h).
**
**   EXTENT MAP PAGE (EMP; o = u16 at page offset 0; integers little-endian)
**     OFFSET  SIZE  DESCRIPTION
**      o+4      4   level: 0 or 2 on the pages the walk inspects
**      o+12     4   n_entries: entries used on this page
**      o+40+4i  4   allocations[i]: first table-space page of an extent
**   E single-indirect entries per page: 984, 2010, 4058, 8154 for 4, 8, 16
**   and 32 KB pages; K = E + 16 entries at most.
**
**   OBJECT-TABLE RECORD (from record offset 4; current layout)
**     OFFSET  SIZE  DESCRIPTION
**        2      1   layout marker: 'O' = old layout, converted first
**        4      2   data object: table-space id      6  2  object id
**        8      4   data object: first EMP page     16  4  first data page
**       64      2   long-field object: table-space id 66 2 object id (0 none)
**       68      4   long-field object: first EMP page
**       88      2   LOB object: table-space id       90  2  object id (0 none)
**       92      4   LOB object: first EMP page
**
**   An object is used by one thread of one process.
*/
#ifndef ZAV_STORAGE_ZORTS_H
#define ZAV_STORAGE_ZORTS_H

#include <cstdint>
#include <unordered_map>

#include "common/oreason.h"
#include "storage/ficdata.h"

struct zorbk;
struct zordat;
struct zorts;

/* Reason codes (module 0x113). */
#define ZORTS_RC_END            ORC_MAKE(0x113, 1, 0x001)  /* 0x1139001 end of the table's data */
#define ZORTS_RC_ENDEMP         ORC_MAKE(0x113, 1, 0x002)  /* 0x1139002 end of the extent map */
#define ZORTS_RC_END_MAP        ZORTS_RC_ENDEMP
#define ZORTS_RC_UNKNOWN_SOURCE ORC_MAKE(0x113, 2, 0x001)  /* 0x113a001 unknown source */
#define ZORTS_RC_READ           ORC_MAKE(0x113, 2, 0x003)  /* 0x113a003 read error */
#define ZORTS_RC_BADMAP         ORC_MAKE(0x113, 2, 0x005)  /* 0x113a005 inconsistent EMP or object-table page */
#define ZORTS_RC_NOMEM          ORC_MAKE(0x113, 4, 0x001)  /* 0x113c001 no memory */
#define ZORTS_RC_BADTYPE        ORC_MAKE(0x113, 2, 0x002)  /* 0x113a002 unknown table-space type (online) */
#define ZORTS_RC_NOTINIMAGE     ORC_MAKE(0x113, 2, 0x004)  /* 0x113a004 table space not in the backup image */
#define ZORTS_RC_BADDESC        ORC_MAKE(0x113, 2, 0x006)  /* 0x113a006 long-field or LOB descriptor refused */
#define ZORTS_RC_NODESC         ORC_MAKE(0x113, 2, 0x047)  /* 0x113a047 the first page holds no table description */

/* Types and sources. */
#define ZORTS_TYPE_SMS      1
#define ZORTS_TYPE_DMS      2
#define ZORTS_SOURCE_BACKUP 1
#define ZORTS_SOURCE_ONLINE 2

/* Flag of read-absolute: restore the torn-page bits of each page. */
#define ZORTS_READ_RESTORE 0x1

/* EMP page layout (offsets from o). */
#define ZORTS_EMP_LEVEL        4
#define ZORTS_EMP_NENTRIES     12
#define ZORTS_EMP_ALLOCATIONS  40
#define ZORTS_EMP_LEVEL_DOUBLE 2

/* Object-table record layout (from record offset 4). */
#define ZORTS_OBJTAB_CURRENT_SIZE 148   /* the record in its current layout */
#define ZORTS_OBJTAB_MARKER      2
#define ZORTS_OBJTAB_OLD_MARKER  0x4F
#define ZORTS_OBJTAB_LOB_EMP     92

/*
** Read-next: the next data page of the table (a buffer of the page source,
** valid until the next call) with *piCode 0, or NULL with ZORTS_RC_END,
** ZORTS_RC_ENDEMP or ZORTS_RC_READ; NULL with code 0 means no page for this
** call (call again).  Pages come with their torn-page bits restored.  A
** source that knows which object page it hands out (its place in the files,
** the image or the extent map) sets the object's llPageExpected to it and
** boPageExpected to 1, so that a page carrying another number is taken for
** damaged; it hands out the object pages below the table's page count only.
*/
typedef unsigned char *(*zortsReadNextProc)(zorts *pzorts, int *piCode);

/*
** Read-absolute: ilCount consecutive pages from page ilPage into pcBuffer,
** or into a new buffer of ilCount pages (malloc, the caller frees it) when
** pcBuffer is NULL; ilFlags ZORTS_READ_RESTORE restores torn-page bits.
** Returns the buffer, or NULL with the code in *piCode.
*/
typedef unsigned char *(*zortsReadAbsProc)(zorts *pzorts, uint32_t ulPage, unsigned char *pcBuffer,
                                           int32_t ilCount, int32_t ilFlags, int *piCode);

struct zorts {
  zortsReadNextProc pfnReadNext;
  zortsReadAbsProc pfnReadAbs;
  ficdataTableDesc tbdesc;      /* table description, built when the data source opens */
  int32_t ilPageCount;          /* pages of the table (data-file header) */
  int32_t iType;                /* ZORTS_TYPE_* */
  int32_t ilExtentSize;         /* pages */
  int32_t ilPageSize;           /* bytes */
  uint32_t ulTbsFlags;          /* table-space descriptor flags (0x100: 4 KB object-table numbering) */
  int32_t iSource;              /* ZORTS_SOURCE_* */
  int32_t ilMaxRecord;          /* largest unload record (ficdataSizeEnreg) */
  int32_t ilFixedLength;        /* fixed-part length of the table */
  int16_t sCcsid;               /* code set of a backup image */
  zorbk *pzorbk;                /* backup object (source 1) */
  zordat *pzordat;              /* online access object (source 2) */
  void *pPageSource;            /* page-source state of the table, owned */
  zorts *pzortsLF;              /* long-field child object, owned, or NULL */
  zorts *pzortsLOB;             /* LOB child object, owned, or NULL */
  int64_t llPageExpected;       /* object page of the page read-next handed out last */
  int32_t boPageExpected;       /* 1 when the page source sets llPageExpected */
  int32_t boDescMoved;          /* 1 when slot 3 of object page 0 points to the descriptor: */
  int64_t llDescPage;           /*   object page of the record it points to */
  int32_t iDescSlot;            /*   and its slot (no row, wherever it lies) */
};

/* ------------------------------------------------------ extent maps */

/* A saved position of the extent-map walk. */
struct zortsEmpPos {
  unsigned char *pPage;
  int32_t iPagesLeft;
  int32_t iIndex;
  int32_t iTier;
};

/* Iterator over the data extents of an object's extent map. */
struct zortsEmpIterator {
  int32_t iE, iK, iX, iPageSize;
  uint32_t ulFirstEmp;
  unsigned char *pFirst;        /* first EMP extent */
  unsigned char *pSingle;       /* current double-indirect extent */
  unsigned char *pDirect;       /* current direct extent */
  unsigned char *pPage;         /* current page of the walk */
  int32_t iTier, iPagesLeft, iIndex;
  int32_t iDepth;
  zortsEmpPos aStack[4];
  int32_t iEnd;
  uint32_t ulLkSingle, ulLkDirect;   /* extents held by the lookup buffers */
  unsigned char *pLkSingle, *pLkDirect;
  std::unordered_map<uint32_t, uint32_t> *pmapCounts;  /* data extents below an extent */
};

/* zortsEmpEntriesPerPage: E and K of the page size.  Returns 0 or ORC_INVALID. */
int zortsEmpEntriesPerPage(int32_t iPageSize, int32_t *piE, int32_t *piK);

/* zortsEmpReadHeader: level, entry count and entries of an EMP page.
** Returns 0 or ZORTS_RC_BADMAP. */
int zortsEmpReadHeader(const unsigned char *pPage, int32_t iPageSize, int32_t iK,
                       uint32_t *pulLevel, int32_t *piEntries, const unsigned char **ppAllocs);

/* zortsGetObjTabRecordPos: object page and slot of object id's record;
** returns the records per page, or -1 for an unknown page size. */
int zortsGetObjTabRecordPos(zorts *pzorts, int32_t iObjId, int32_t *piPage, int32_t *piSlot);

/* zortsObjTabToLastVersion: a new record in the current layout (caller frees), or NULL. */
unsigned char *zortsObjTabToLastVersion(const unsigned char *pRecord);

/* zortsFindObjTabRecord: the object-table record of the object (caller frees).
** Returns 0 or a reason code. */
int zortsFindObjTabRecord(zorts *pzorts, int32_t iObjId, unsigned char **ppRecord);

/* zortsEmpIteratorCreate / zortsGetNextExtentPos / zortsEmpToAbs /
** zortsEmpIteratorDestroy: the walk over the extent map from its first EMP
** page, the next data extent, the table-space page of an object page. */
zortsEmpIterator *zortsEmpIteratorCreate(zorts *pzorts, uint32_t ulFirstEmp, int *piCode);
int zortsGetNextExtentPos(zorts *pzorts, zortsEmpIterator *piter, uint32_t *pulExtent);
uint32_t zortsEmpToAbs(zorts *pzorts, zortsEmpIterator *piter, uint32_t ulObjPage, int *piCode);
void zortsEmpIteratorDestroy(zortsEmpIterator *piter);

/* ------------------------------------------------ the first page */

/*
** zortsGetTBDesc
**   Builds the object's table description from slot 3 of object page 0
**   (the object's page size in bytes at pcPage); a pointer record there is
**   followed once, reading the page it names through the read-absolute slot
**   with torn-page restoration, and the record found is noted in the object
**   (boDescMoved, the object page that page carries, the slot) for the
**   page loops to pass over.  Stores the fixed-part length and the
**   largest unload record size in the object.
**   Returns 0, or -1 when no description results: the slot (or the one
**   pointed to) holds no normal or overflow record, the pointed-to page
**   cannot be read, or the page or record is damaged.
*/
int zortsGetTBDesc(zorts *pzorts, const unsigned char *pcPage);

/*
** zortsReadFirstPage
**   What the page sources do with a table's object page 0 (pcPage): the
**   data-file header, the table directory and the table descriptor, in
**   that order.  Returns 0, or ZORTS_RC_NODESC after ZORU436E (table space
**   ilTbsId, object ilObjId) when one of them cannot be had.
*/
int zortsReadFirstPage(zorts *pzorts, const unsigned char *pcPage, int32_t ilTbsId, int32_t ilObjId);

/*
** zortsGetDataFileHeader
**   Stores in the object the page count of the data-file header record
**   (slot 0 of object page 0: u32 at record offset 4).
**   Returns 0, or -1 when slot 0 holds no record inside the page.
*/
int zortsGetDataFileHeader(zorts *pzorts, const unsigned char *pcPage);

/*
** zortsGetTDirRec
**   Locates the table directory record (slot 2 of object page 0); it is not
**   interpreted.  Returns 0, or -1 when slot 2 holds no record inside the
**   page.
*/
int zortsGetTDirRec(zorts *pzorts, const unsigned char *pcPage);

/* ----------------------------------------- objects, long fields and LOBs */

struct zorwrite;

/*
** LOB DESCRIPTOR (in-row data of a BLOB, CLOB or DBCLOB column; integers
** little-endian)
**   OFFSET  SIZE  DESCRIPTION
**      2      1   s = number of segment slots
**      8      4   LOB length in bytes
**     12      4   set in the unload record: bytes appended for this LOB
**     20      1   t = number of tail segments (0 none)
**     21      1   buddy size code c: the first buddy segment is 1024 << c bytes
**   56+4i     4   slot i: start of the segment in 1 KB units, -1 empty;
**                 the i32 at 56 becomes the offset of the appended data
**   Segments are read buddy slots 0..n-1 first (n = s - 1 with tail
**   segments, else s), then the tail segments from slot s - 1 on.
**
** LONG-FIELD DESCRIPTOR: i32 length at 0, i32 position (512-byte units) at 8.
*/
#define ZORTS_LOB_SLOTS      2
#define ZORTS_LOB_LENGTH     8
#define ZORTS_LOB_DATALEN    12
#define ZORTS_LOB_TAILS      20
#define ZORTS_LOB_BUDDY      21
#define ZORTS_LOB_SEGMENTS   56
#define ZORTS_LF_LENGTH      0
#define ZORTS_LF_POSITION    8
#define ZORTS_LF_SIZE        12
#define ZORTS_INLINE_LOB_MAX 32700   /* most LOB bytes loaded inline */

/*
** zortsCreateFromBackup
**   A table-space object over the table (ilTbsId, ilObjId) of a backup
**   image, with its long-field and LOB child objects when the table has
**   such objects (a child whose page source cannot be opened is dropped).
**   The table description is built from the table's first page.
**   Returns the object with *piCode 0, or NULL with ZORTS_RC_NOMEM,
**   ZORTS_RC_NOTINIMAGE (after ZORU431E: the table space is not in the
**   image), or the code of the data page source that could not be opened
**   (ZORTS_RC_READ when it gave none).
*/
zorts *zortsCreateFromBackup(zorbk *pzorbk, int32_t ilTbsId, int32_t ilObjId, int *piCode);

/*
** zortsCreateFromDat
**   A table-space object over the threaded online reader's access object
**   (geometry from its partition record), its data page source opened with
**   2 x containers extent buffers, and a long-field and a LOB child object
**   for each child access object (DMS: with the page source of their
**   extent map; a child whose page source does not open is dropped).  The
**   container files opened meanwhile are closed again.
**   Returns the object with *piCode 0, or NULL with ZORTS_RC_NOMEM (also
**   for no access object), ZORTS_RC_BADTYPE, or the data page source's code.
*/
zorts *zortsCreateFromDat(zordat *pzordat, int *piCode);

/*
** zortsLaunchThreads
**   Starts the page source's threads of an online object; must come before
**   its first read-next.  Returns 0 for a backup object, zordatLaunchPS's
**   code for an online one, ZORTS_RC_NOMEM for no object,
**   ZORTS_RC_UNKNOWN_SOURCE for any other source.
*/
int zortsLaunchThreads(zorts *pzorts);

/*
** zortsDestroy
**   Releases the page sources: backup: the data page source, then the
**   child objects recursively; online: stops the reader threads and frees
**   the data page source, then the children's page sources.  Then frees the
**   table descriptions and the objects themselves (never the backup or
**   access object).  NULL accepted.
*/
void zortsDestroy(zorts *pzorts);

/*
** zortsLoadLF
**   Copies the long field of the 12-byte descriptor pcDesc into pcTarget
**   (room for ilTargetSize bytes) through the read-absolute slot of the
**   long-field child object, page after page (DMS: object pages mapped
**   through the object's extent map).  *pilLength = the field's length.
**   Returns 0; the read code of a page that could not be read (bytes not
**   read are left as they were); ZORTS_RC_BADDESC for a negative length or
**   position or a field longer than the target; ORC_INVALID for a missing
**   argument.
*/
int zortsLoadLF(zorts *pzortsLF, const unsigned char *pcDesc, unsigned char *pcTarget,
                int32_t ilTargetSize, int32_t *pilLength);

/*
** zortsLoadInlineLob
**   Copies at most 32700 bytes of the LOB of descriptor pcDesc (ilDescSize
**   bytes) into pcTarget (room for ilTargetSize bytes), segment after
**   segment.  *pilLength = the bytes copied.
**   Returns the code of the last segment read (0); ZORTS_RC_BADDESC for a
**   descriptor whose slots lie outside it, a negative length, a buddy code
**   or slot count no LOB has, or a LOB whose segments end before its
**   length; ORC_INVALID for a missing argument.
*/
int zortsLoadInlineLob(zorts *pzortsLOB, const unsigned char *pcDesc, int32_t ilDescSize,
                       unsigned char *pcTarget, int32_t ilTargetSize, int32_t *pilLength);

/*
** zortsLoadInFileLob
**   Writes the whole LOB of descriptor pcDesc through the LOB-file writer
**   pwrite (writeDeclareWrite first) and puts into pcTarget the text that
**   stands for it: "%s.%lld.%d/" (file name, offset in the file, length)
**   when the writer makes location specifiers, else the file name alone,
**   without a terminating NUL.  *pilLength = the text's length.
**   Returns the code of the last segment read or written (0), the
**   writer's declaration code, ZORTS_RC_BADDESC as zortsLoadInlineLob or
**   for a text longer than ilTargetSize; ORC_INVALID for a missing argument.
*/
int zortsLoadInFileLob(zorts *pzortsLOB, zorwrite *pwrite, void *pReserved, const unsigned char *pcDesc,
                       int32_t ilDescSize, unsigned char *pcTarget, int32_t ilTargetSize,
                       int32_t *pilLength);

/*
** _zortsLoadBSEG / _zortsWriteBSEG
**   One segment of ilLength bytes at 1 KB unit ilStart of the LOB object,
**   capped by *pilWanted, which they decrease by the bytes handled: into
**   pcTarget, or piece by piece through the writer's write operation.
**   Return 0 or the read-absolute (or write) code.
*/
int _zortsLoadBSEG(zorts *pzortsLOB, unsigned char *pcTarget, int32_t ilLength, int32_t ilStart,
                   int32_t *pilWanted);
int _zortsWriteBSEG(zorts *pzortsLOB, zorwrite *pwrite, int32_t ilLength, int32_t ilStart,
                    int32_t *pilWanted);

/*
** zortsLobSegments
**   Walks the segments of a LOB descriptor (ilDescSize bytes) in their
**   order, calling pfnSegment(pCtx, length, start in 1 KB units, &wanted)
**   for each until llWanted bytes are handled; the callback lowers wanted
**   by the bytes it handled.  Shared by the table-space object and the LOB
**   child processes.
**   Returns 0, ZORTS_RC_BADDESC (slot count, tail count or buddy code no
**   LOB has, a slot outside the descriptor, segments that end before the
**   wanted bytes), or the first non-zero code of the callback.
*/
typedef int (*zortsSegmentProc)(void *pCtx, int32_t ilLength, int32_t ilStart, int64_t *pllWanted);
int zortsLobSegments(const unsigned char *pcDesc, int32_t ilDescSize, int64_t llWanted,
                     zortsSegmentProc pfnSegment, void *pCtx);

#endif
