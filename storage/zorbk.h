/*
** zorbk.h
**   Backup images and the backup files of a BACKUP clause.
**
**   A backup object (zorbk) is one image file opened and scanned once into
**   an index of its objects; it keeps the image's table-space list and the
**   definitions of its table spaces and serves the pages of one table (data,
**   long-field and LOB objects) as page sources behind the read-next and
**   read-absolute slots of a table-space object (zorts).  The control step
**   opens the catalogue partition's image, the run step each partition's
**   image; objects live until the process ends.  Every read is a
**   positioned read (pread) on the object's one descriptor, so the forked
**   processes that inherit a backup object never move each other's file
**   offset and may read it at the same time.  A page source belongs to one
**   thread.
**
**   A file entry (zorbkFileEntry) stands for one backup file named in the
**   control file: the control-file parser makes it with its name and
**   partition 0 (the decomposition sets the image's own) and keeps the entries in the BACKUP list (an olist created
**   with zorbkFileEntryCloneItem and zorbkFileEntryDestroyItem); the fields
**   taken from the file name (zorbkFileEntryDecomposeFileName) and the
**   backup objects are filled later by the control step and the run step.
**   An entry owns its file name, alias and directory, never its backup
**   objects.  Single-threaded.
**
**   Image layout (all integers little-endian):
**     file offset 0: media header, 4096 bytes
**     then objects: a 512-byte object header and data-size bytes of data;
**     the image is cut into buffers of buffer-size bytes from offset 4096
**     on (buffer k at 4096 + k * buffer size); a buffer's tail that holds
**     no object header is filler, the next header starts at the next
**     buffer boundary.
**
**   Media header
**     OFFSET  SIZE  DESCRIPTION
**        0     13   "SQLUBRMEDHEAD" (followed by a blank)
**     0x3C      2   release number; 0x901 and above: alternative size at 0x1F0
**     0x96      -   code-set name of the database, zero-terminated
**    0x1D4      4   buffer size; 0 = take the alternative field
**    0x1F0      4   alternative buffer size, release >= 0x901
**    0x1F8      4   alternative buffer size, release <  0x901
**
**   Object header (512 bytes)
**     OFFSET  SIZE  DESCRIPTION
**        0     13   "SQLUBROBJHEAD"; any other block is no header
**     0x14      4   data size: bytes of data after the header
**     0x18      4   header word, kept in the index
**     0x1C      2   object id (the table's file id, or 0)
**     0x1E      1   object type (ZORBK_OBJ_*)
**    0x128      4   first page held by the data (SMS: page of the table's
**                   file, LOB type 16: 1 KB unit; DMS: table-space page)
**    0x12C      4   table-space id
**
**   Table-space list (data of a type 9 object): 72-byte entries
**        0     24   name, zero-terminated
**       24      4   table-space type (1 SMS, 2 DMS)
**
**   Table-space definition (data of a type 11 object): one table-space
**   record of the table-space control file; the fields read:
**        8      2   table-space id
**     0x90      4   descriptor flags (bits 0-1 type, 0x100 object-table layout)
**     0xA0      4   extent size (pages)
**    0x40C      4   pages         0x424  4  containers
**    0x42C      4   container-list size
**    0x434      4   map control block entries
**    0x438      4   page size (bytes)
**
**   Backup file name: [directory/]alias.type.instance.NODEnnnn.CATNnnnn.
**   yyyymmddhhmmss.sequence
*/
#ifndef ZAV_STORAGE_ZORBK_H
#define ZAV_STORAGE_ZORBK_H

#include <cstdint>

struct ochar;
struct olist;
struct ochaine;
struct zorbk;
struct zorts;
struct zortsEmpIterator;

/* Reason codes (module 0x112). */
#define ZORBK_RC_BADNAME    0x112a002  /* the file name does not follow the pattern */
#define ZORBK_RC_TRUNCATED  0x112a003  /* the image ends before a header, object or page */
#define ZORBK_RC_DAMAGED    0x112a004  /* a header or definition holds impossible values */
#define ZORBK_RC_NOTABLE    0x112a005  /* the object table of the image has no such object */
#define ZORBK_RC_NOMEM      0x112c001  /* no memory for the object or its index */

/* Codes of the read slots. */
#define ZORBK_RC_NOPAGE     (-1)       /* read-absolute: no object of the image holds the page */
#define ZORBK_RC_NOBUFFER   (-2)       /* read-absolute: no memory for the page buffer */

/* Layout sizes and offsets. */
#define ZORBK_MEDIA_SIZE          4096
#define ZORBK_OBJHEAD_SIZE        512
#define ZORBK_LOT_ENTRY_SIZE      72
#define ZORBK_INDEX_STEP          1000

/* Object types. */
#define ZORBK_OBJ_SMS_DATA   0
#define ZORBK_OBJ_SMS_LF     2
#define ZORBK_OBJ_SMS_LOB    3
#define ZORBK_OBJ_V8         6
#define ZORBK_OBJ_LOT        9
#define ZORBK_OBJ_TBSDEF     11
#define ZORBK_OBJ_DMS_PAGES  12
#define ZORBK_OBJ_SMS_LOBKB  16   /* SMS LOB data counted in 1 KB units */
#define ZORBK_OBJ_END        18
#define ZORBK_OBJ_SMS_LOB2   23

/* One object of the image, in image order. */
struct zorbkIndexEntry {
  int32_t  ilTbsId;       /* table-space id */
  uint16_t usObjId;       /* object id */
  uint16_t usObjType;     /* object type */
  int32_t  ilFirstPage;   /* first page held by the data */
  int32_t  ilDataSize;    /* bytes of data */
  int32_t  ilHeaderWord;  /* header word at 0x18 */
  int64_t  llPosition;    /* file position of the data (after the header) */
};

/* Definition of one table space of the image (item of zorbk.pchaineTbsDef). */
struct zorbkTbsDef {
  void    *pitemNext;         /* chain links */
  void    *pitemPrev;
  int16_t  isTbsId;           /* table-space id */
  uint32_t ulFlags;           /* descriptor flags: bits 0-1 type, 0x100 object-table layout */
  int32_t  ilExtentSize;      /* pages per extent */
  int32_t  ilPages;           /* pages in the table space */
  int32_t  ilContainers;      /* containers */
  int32_t  ilContListSize;    /* container-list size */
  int32_t  ilMapCbEntries;    /* map control block entries */
  int32_t  ilPageSize;        /* bytes per page */
};

/* Backup object: made by zorbkCreate, lives until exit. */
struct zorbk {
  ochar   *pcharFileName;     /* image file name, zero-terminated, owned */
  ochar   *pcharAlias;        /* database alias, owned */
  unsigned char *pucMediaHeader;  /* the 4096-byte media header, owned */
  int16_t  isCCSID;           /* CCSID of the image's code set (0: unknown) */
  int32_t  ilIndexCapacity;   /* entries allocated */
  int32_t  ilIndexCount;      /* entries used */
  zorbkIndexEntry *pindex;    /* index, owned */
  int      iFd;               /* descriptor of the image */
  int64_t  llPosition;        /* current file position */
  int64_t  llFileSize;        /* size of the image file */
  int32_t  ilBufferSize;      /* buffer size of the image */
  unsigned char *pucLOT;      /* copy of the table-space list, owned */
  int32_t  ilLOTSize;         /* its size in bytes */
  int32_t  ilCatalogTbsType;  /* type of SYSCATSPACE: 1 SMS, 2 DMS, 0 absent */
  int32_t  ilVersion;         /* DB2 version: 7, or 8 */
  ochaine *pchaineTbsDef;     /* zorbkTbsDef items, NULL until the first definition */
};

/*
** Page source: the state of one table object read from an image, owned by
** its table-space object through the page-source slot.  The chunk table is
** the run of index entries holding the object, in image order, plus one
** closing entry whose first page follows the last chunk's pages.
*/
struct zorbkPageSource {
  zortsEmpIterator *pempIterator; /* DMS: extent map of the object, owned */
  zorbkTbsDef *ptbsdef;           /* definition of the table space (borrowed) */
  zorbk   *pzorbk;                /* the image (borrowed) */
  zorbkIndexEntry *pchunks;       /* chunk table, ilChunkCount + 1 entries, owned */
  int32_t  ilChunkCount;          /* chunks, without the closing entry */
  int32_t  ilCurrentChunk;        /* index of the current chunk */
  int32_t  ilState;               /* -1 chunk not loaded; k >= 0 loaded, k pages handed out */
  int32_t  ilLoadedChunk;         /* chunk whose bytes the buffer holds, -1 none */
  unsigned char *pucBuffer;       /* chunk buffer, owned */
  int64_t  llBufferSize;          /* its allocated size */
  int64_t  llNextOffset;          /* offset in the buffer of the next page */
  int32_t  ilPagesLeft;           /* SMS: pages handed out after the first of the chunk;
                                     DMS: pages left in the current extent */
  int64_t  llNextTbsPage;         /* DMS: table-space page of the next page of the extent */
  int64_t  llPagesOut;            /* DMS: pages handed out, the next one's object page */
  unsigned char *pucObjTabRecord; /* DMS: the table's 148-byte object-table record, owned */
  int32_t  ilPageSize;            /* bytes per page (from the definition) */
  int32_t  ilExtentSize;          /* pages per extent (from the definition) */
  int32_t  iLobKB;                /* SMS LOB: first pages of the chunk table in 1 KB units */
};

/* --------------------------------------------------------- backup objects */

/*
** zorbkCreate
**   Opens the image pcharFileName read-only (the ids exchanged), reads its
**   media header and scans it once into the index of its objects, keeping
**   the table-space list and definitions.  pcharAlias is copied; pReserved
**   is not used.
**   Returns the object, or NULL with *piRc: the open code of toolsOpenFile
**   (ZORU347E issued), ZORBK_RC_TRUNCATED (the image ends inside the media
**   header or an object), ZORBK_RC_DAMAGED (no media header eye-catcher, a
**   zero buffer size, an unreadable table-space definition), ZORBK_RC_NOMEM,
**   ORC_INVALID for a missing name.  *piRc = 0 with an object.
*/
zorbk *zorbkCreate(ochar *pcharFileName, ochar *pcharAlias, void *pReserved, int *piRc);

/*
** zorbkDetermineType
**   The type of table space ilTbsId by its first index entry of an SMS
**   object type (0 to 4, 16, 17: returns 1) or a DMS one (12, 14, 15:
**   returns 2); 0 when the image holds none (or pzorbk is NULL).
*/
int zorbkDetermineType(zorbk *pzorbk, int32_t ilTbsId);

/*
** zorbkFindTbsDef
**   The definition of table space ilTbsId, or NULL when the image has none.
*/
zorbkTbsDef *zorbkFindTbsDef(zorbk *pzorbk, int32_t ilTbsId);

/* Internal: the table-space list and one definition of the scan (both return 0,
   or ZORBK_RC_NOMEM / ZORBK_RC_DAMAGED). */
int _zorbkBuildLOT(zorbk *pzorbk, const unsigned char *pucData, int32_t ilSize);
int _zorbkBuildPOOL_CB(zorbk *pzorbk, const unsigned char *pucData, int32_t ilSize);

/* ----------------------------------------------------------- page sources */

/*
** Openers, called by zortsCreateFromBackup: the page source of the table
** object (table-space id, object id) of the table-space object's image, or
** NULL.  They set the table-space object's extent size and page size from
** the table space's definition, and install the page source in
** pzorts->pPageSource (a DMS opener also sets an empty read-absolute slot
** to zorbkReadAbsDMSDatPage), so that the first pages are read through the
** object; on failure the previous page source is put back.  NULL with
** *piRc = 0: the image holds no
** such object (or no definition of its table space).  NULL with a code:
** ZORBK_RC_DAMAGED (a definition with an impossible page or extent size),
** ZORBK_RC_NOTABLE (DMS: the object table holds no record of the object),
** ZORBK_RC_NOMEM, or the code of a failed read of the object's first pages
** (data objects read page 0 and the table descriptor: ZORTS_RC_NODESC
** after ZORU436E when it holds none; DMS objects the table's object-table
** record and extent map).
*/
zorbkPageSource *zorbkOpenSMSTableDat(zorts *pzorts, int32_t ilTbsId, int32_t ilObjId, int *piRc);
zorbkPageSource *zorbkOpenSMSTableLF(zorts *pzorts, int32_t ilTbsId, int32_t ilObjId, int *piRc);
zorbkPageSource *zorbkOpenSMSTableLOB(zorts *pzorts, int32_t ilTbsId, int32_t ilObjId, int *piRc);
zorbkPageSource *zorbkOpenDMSTableDat(zorts *pzorts, int32_t ilTbsId, int32_t ilObjId, int *piRc);
zorbkPageSource *zorbkOpenDMSTableLF(zorts *pzorts, int32_t ilTbsId, int32_t ilObjId, int *piRc);
zorbkPageSource *zorbkOpenDMSTableLOB(zorts *pzorts, int32_t ilTbsId, int32_t ilObjId, int *piRc);

/*
** Read-next slots: the next data page of the table (owned by the page
** source, valid until the next call, torn-page bits restored) with *piRc 0,
** or NULL with 0x1139001 (SMS: no more chunks), 0x1139002 or another code
** of the extent-map iterator (DMS: end of the map, or after the table's
** last page), or 0x113a003 when the image cannot be read where the index
** says (short read, a data extent held by no object of the image, a chunk
** that is not whole pages, no memory for the chunk buffer).
*/
/*
** Both hand out only the pages below the table's page count, and set the
** object page each one must be (SMS: the chunk's first page plus the
** page's place in it; DMS: the pages counted in extent-map order).
*/
unsigned char *zorbkReadNextSMSDat(zorts *pzorts, int *piRc);
unsigned char *zorbkReadNextDMSDat(zorts *pzorts, int *piRc);

/*
** Read-absolute slots: ilCount pages from page ulPage (SMS data: page of
** the table's file; DMS: table-space page) into pucBuffer, or into a new
** buffer of ilCount pages that the caller frees; flags bit 0 restores the
** torn-page bits of each page.  Pages may lie in several chunks.
** Returns the buffer with *piRc 0, or NULL with ZORBK_RC_NOPAGE (a page
** lies in no chunk), ZORBK_RC_NOBUFFER, or ZORBK_RC_TRUNCATED (the image
** ends early); an allocated buffer is freed on failure.
** zorbkReadAbsSMSLOBPage reads one page (whatever the count) of the LOB
** object, whose chunks are counted in 1 KB units.
*/
unsigned char *zorbkReadAbsSMSDatPage(zorts *pzorts, uint32_t ulPage, unsigned char *pucBuffer,
                                      int32_t ilCount, int32_t ilFlags, int *piRc);
unsigned char *zorbkReadAbsSMSLOBPage(zorts *pzorts, uint32_t ulPage, unsigned char *pucBuffer,
                                      int32_t ilCount, int32_t ilFlags, int *piRc);
unsigned char *zorbkReadAbsDMSDatPage(zorts *pzorts, uint32_t ulPage, unsigned char *pucBuffer,
                                      int32_t ilCount, int32_t ilFlags, int *piRc);

/*
** zorbkSMSPSDestroy, zorbkDMSPSDestroy
**   Free the chunk table, the chunk buffer, (DMS) the extent-map iterator
**   and the object-table record, then the page source.  NULL accepted.
*/
void zorbkSMSPSDestroy(zorbkPageSource *pps);
void zorbkDMSPSDestroy(zorbkPageSource *pps);

/* ------------------------------------------------------------ file entries */

struct zorbkFileEntry {
  zorbkFileEntry *pitemNext;  /* list link */
  ochar   *pcharFileName;     /* file name, owned */
  int32_t  ilPart;            /* partition number: 0 from the parser, NODEnnnn once decomposed */
  zorbk   *pzorbk;            /* backup object of this file, opened on first use */
  zorbk   *pzorbkCatalog;     /* backup object of the catalogue partition */
  char     acDate[9];         /* yyyymmdd and a zero byte */
  char     acTime[6];         /* hhmmss, no zero byte */
  int32_t  ilSequence;        /* sequence number */
  int32_t  ilCatn;            /* catalogue partition number (CATNnnnn) */
  int32_t  ilNode;            /* partition number of the image (NODEnnnn) */
  char     acInstance[12];    /* instance name, at most 11 characters and a zero byte */
  ochar   *pcharAlias;        /* database alias, CCSID 850, owned */
  char    *pcDirectory;       /* directory (malloc), owned; NULL when the name has none */
  int32_t  ilType;            /* backup type (one digit) */
};

/*
** zorbkFileEntryCreate
**   A new zeroed entry holding the file name (taken over) and the partition
**   number.  Returns the entry, or NULL when memory runs out (the name stays
**   the caller's).
*/
zorbkFileEntry *zorbkFileEntryCreate(ochar *pcharFileName, int32_t ilPart);

/*
** zorbkFileEntryDecomposeFileName
**   Fills sequence, date, time, catalogue partition, partition, instance,
**   type, alias and directory from the entry's file name
**   [directory/]alias.type.instance.NODEnnnn.CATNnnnn.yyyymmddhhmmss.sequence
**   (NODE and CATN in any case).  The NODE number is also the entry's
**   partition number: the run step reads an image for that partition only.
**   A previous alias or directory is replaced.
**   Returns 0, ZORBK_RC_BADNAME when the name does not follow the pattern
**   (the entry's name fields are then unchanged), ORC_INVALID for a missing
**   entry or name, ORC_NOMEM.
*/
int zorbkFileEntryDecomposeFileName(zorbkFileEntry *pentry);

/*
** zorbkFileEntryCloneItem
**   olist clone callback: a new entry with a copy of the file name and the
**   same partition number only; for a NULL item a new zeroed entry.
**   Returns the entry, or NULL when memory runs out.
*/
void *zorbkFileEntryCloneItem(olist *plist, void *pitem);

/*
** zorbkFileEntryDestroyItem
**   olist destroy callback: frees the file name, the alias and the
**   directory, then the entry; never the backup objects.  NULL accepted.
*/
void zorbkFileEntryDestroyItem(olist *plist, void *pitem);

/* zorbkFileEntryClone, zorbkFileEntryDestroy: the same without the list argument. */
zorbkFileEntry *zorbkFileEntryClone(zorbkFileEntry *pentry);
void zorbkFileEntryDestroy(zorbkFileEntry *pentry);

#endif
