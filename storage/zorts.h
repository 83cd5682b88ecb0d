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
** call (call again).  Pages come with their torn-page bits restored.
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
**   with torn-page restoration.  Stores the fixed-part length and the
**   largest unload record size in the object.
**   Returns 0, or -1 when no description results: the slot (or the one
**   pointed to) holds no normal or overflow record, the pointed-to page
**   cannot be read, or the page or record is damaged.
*/
int zortsGetTBDesc(zorts *pzorts, const unsigned char *pcPage);

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

#endif
