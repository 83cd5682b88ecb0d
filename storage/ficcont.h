/*
** ficcont.h
**   Table-space control file of a database partition (SQLSPCS.1) and the
**   partition records made from it: one ficcont record per table space and
**   partition, with its geometry (type, extent and page sizes), its map
**   control blocks (how a DMS table space stripes its extents over the
**   containers) and its container list.  The control step asks for the
**   records (ficcontGetLocalPart, ficcontGetRemotePart through the daemon of
**   another host); the run step keeps copies in its partition items
**   (ficcontClone, ficcontDestroy) and the container readers map pages and
**   extents with ficcontMapExtent / ficcontLogical2Physical.
**
**   SQLSPCS.1 is a sequence of 65536-byte records, one per table space;
**   trailing bytes that do not make a whole record are ignored.  Integers
**   are little-endian u32 unless stated.
**
**     OFFSET  SIZE  DESCRIPTION
**        8      2   table-space id (i16); negative: free record
**       10      -   table-space name, NUL-terminated, database code page
**     0x90      4   descriptor flags; flags & 3: 1 SMS, 2 DMS
**     0xA0      4   extent size (pages)
**     0xA4      4   prefetch size (pages)
**    0x40C      4   pages in the table space
**    0x410      4   usable pages
**    0x424      4   n = number of containers
**    0x42C      4   container-list size
**    0x434      4   m = number of map control block entries (DMS)
**    0x438      4   page size (bytes)
**    0x508      -   m map control blocks of 44 + 4n bytes each (DMS)
**   0x6000      -   n container entries, packed
**
**   Map control block (one stripe), relative to its start:
**        0      4   last page in the stripe
**        4      4   last extent in the stripe (table-space extent)
**        8      4   first extent on the reference container
**       12      4   last extent on the reference container
**       16     24   not interpreted
**       40      4   c = containers in the stripe (c <= n)
**       44    4*c   container ids (indexes into the container list)
**
**   Container entry (the next one starts 53 + strlen(path) bytes later):
**        0      4   flags; 4: the container header takes one extent, else one page
**        4      4   pages in the container
**        8      4   usable pages
**       12      8   not interpreted
**       20      4   page size
**       24     28   not interpreted
**       52      -   path, NUL-terminated; relative to the database directory
**                   unless it starts with '/'
**
**   Every count and offset is checked against the record before it is
**   followed; a matching record that does not hold together is refused
**   with FICCONT_RC_DAMAGED.  Main process (control step) and reader
**   processes; no threads of its own; trace keyword "$FICCONT".
*/
#ifndef ZAV_STORAGE_FICCONT_H
#define ZAV_STORAGE_FICCONT_H

#include <cstdint>
#include <cstdio>

#include "common/oreason.h"

struct olist;
struct ochar;

/* Layout of one SQLSPCS.1 record. */
#define FICCONT_RECORD_SIZE      65536
#define FICCONT_FILE_NAME        "SQLSPCS.1"
#define FICCONT_OFF_ID           8
#define FICCONT_OFF_NAME         10
#define FICCONT_OFF_FLAGS        0x90
#define FICCONT_OFF_EXTENTSIZE   0xA0
#define FICCONT_OFF_PREFETCH     0xA4
#define FICCONT_OFF_PAGES        0x40C
#define FICCONT_OFF_USABLE       0x410
#define FICCONT_OFF_CONTAINERS   0x424
#define FICCONT_OFF_CONTLISTSIZE 0x42C
#define FICCONT_OFF_MAPCBCOUNT   0x434
#define FICCONT_OFF_PAGESIZE     0x438
#define FICCONT_OFF_MAPCB        0x508
#define FICCONT_OFF_CONTLIST     0x6000

/* Map control block entry: fixed part, then 4 bytes per container of the table space. */
#define FICCONT_MAPCB_LASTPAGE   0
#define FICCONT_MAPCB_LASTEXT    4
#define FICCONT_MAPCB_FIRSTREF   8
#define FICCONT_MAPCB_LASTREF    12
#define FICCONT_MAPCB_COUNT      40
#define FICCONT_MAPCB_IDS        44
#define FICCONT_MAPCB_SIZE(n)    (FICCONT_MAPCB_IDS + 4 * (n))

/* Container entry. */
#define FICCONT_CONT_FLAGS       0
#define FICCONT_CONT_PAGES       4
#define FICCONT_CONT_USABLE      8
#define FICCONT_CONT_PAGESIZE    20
#define FICCONT_CONT_PATH        52
#define FICCONT_CONT_FIXED       (FICCONT_CONT_PATH + 1)   /* 53 + strlen(path) per entry */
#define FICCONT_CONT_HEADEREXTENT 0x4                      /* header takes one extent */

/* Table-space types. */
#define FICCONT_TYPE_SMS 1
#define FICCONT_TYPE_DMS 2

/* Reason codes. */
#define FICCONT_RC_ACCESS  ORC_MAKE(0x119, 2, 1)   /* control file not accessible (ZORU338E / ZORU339E) */
#define FICCONT_RC_DAMAGED ORC_MAKE(0x119, 2, 2)   /* a matching record does not hold together */
#define FICCONT_RC_NOMAP   ORC_MAKE(0x119, 2, 3)   /* page or extent outside the stripes / geometry */
#define FICCONT_RC_MISSING ORC_MAKE(0x119, 2, 0x042)   /* the control file (or its directory) does not exist */

/* One stripe of a DMS table space (olist item). */
struct ficcontMapCb {
  void *pitemNext;
  int32_t ilLastPage;         /* last page in the stripe */
  int32_t ilLastExtent;       /* last table-space extent in the stripe */
  int32_t ilFirstExtentRef;   /* first extent on the reference container */
  int32_t ilLastExtentRef;    /* last extent on the reference container */
  int32_t ilContainers;       /* containers in the stripe */
  int32_t *pilContIds;        /* their indexes in the container list, striping order (owned) */
};

/* One container (olist item). */
struct ficcontCont {
  void *pitemNext;
  int32_t ilFlags;            /* FICCONT_CONT_HEADEREXTENT */
  int32_t ilHeaderPages;      /* extent size with FICCONT_CONT_HEADEREXTENT, else 1 */
  int32_t ilPages;
  int32_t ilUsablePages;
  int32_t ilPageSize;
  ochar *pcharPath;           /* CCSID 850, absolute (owned) */
};

/* Partition record: one table space on one partition (olist item). */
struct ficcont {
  void *pitemNext;
  int32_t ilPart;             /* partition number */
  int32_t ilRemote;           /* 0 read on this host, 1 through the daemon of pcharHost */
  ochar *pcharHost;           /* host name (owned) */
  int16_t sTbsId;             /* table-space id */
  ochar *pcharTbsName;        /* table-space name, database code page (owned) */
  int32_t ilType;             /* FICCONT_TYPE_SMS / FICCONT_TYPE_DMS */
  int32_t ilExtentSize;
  int32_t ilPrefetchSize;
  int32_t ilPages;
  int32_t ilUsablePages;
  int32_t ilContainers;
  int32_t ilContListSize;
  int32_t ilMapCbEntries;
  int32_t ilPageSize;
  olist *plistMapCb;          /* ficcontMapCb items, DMS only, else NULL (owned) */
  olist *plistCont;           /* ficcontCont items, or NULL without a database path (owned) */
  uint32_t ulFlags;           /* descriptor flags */
};

/*
** ficcontCreatePartList
**   A new empty partition list: items are ficcont records, destroyed with
**   ficcontDestroy, copied with ficcontClone, printed with
**   _ficcontPrintContList.  Returns the list, or NULL when memory runs out.
*/
olist *ficcontCreatePartList(void);

/*
** ficcontGetLocalPart
**   Reads <pcDbPath>SQLSPCS.1 on this host (pcDbPath ends with '/') and
**   appends to *pplist (created when NULL) a record, remote flag 0, for every
**   table space named pcharTbsName (any CCSID; compared in UTF-8).
**   Returns 0; FICCONT_RC_MISSING, without a message, when the file does
**   not exist (the caller names the partition); FICCONT_RC_ACCESS after
**   ZORU338E when the file exists but
**   cannot be tested, or after ZORU347E when it cannot be opened, or when a
**   read fails; FICCONT_RC_DAMAGED after ZORU338E for a matching record that
**   does not hold together; ORC_NOMEM.  Records already appended stay.
*/
int ficcontGetLocalPart(olist **pplist, const char *pcHost, const char *pcDatabase, const ochar *pcharTbsName,
                        const char *pcDbPath, int32_t ilPart);

/*
** ficcontGetRemotePart
**   The same through the daemon of pcHost, as user pcUser; records get
**   remote flag 1.
**   Returns 0; FICCONT_RC_ACCESS after ZORU339E when the open or a read
**   through the daemon fails; FICCONT_RC_DAMAGED after ZORU339E; ORC_NOMEM.
*/
int ficcontGetRemotePart(olist **pplist, const char *pcHost, const char *pcDatabase, const ochar *pcharTbsName,
                         const char *pcDbPath, int32_t ilPart, const char *pcUser);

/*
** ficcontGetTBSSegment
**   Decodes one 65536-byte record into pficcont (cleared first) when its id
**   is not negative and its name equals pcharTbsName in UTF-8, trailing blanks
**   ignored.  Without pcDbPath the container list is not built.
**   Returns 0 with *piFound 1 (match, record filled) or 0; FICCONT_RC_DAMAGED
**   (*piFound 0, record cleared) when a matching record's counts or offsets
**   do not fit in it; ORC_NOMEM.
*/
int ficcontGetTBSSegment(const unsigned char *pucRecord, const char *pcHost, const ochar *pcharTbsName,
                         const char *pcDbPath, int32_t ilPart, ficcont *pficcont, int *piFound);

/* ficcontCreate: a new zeroed record, or NULL when memory runs out. */
ficcont *ficcontCreate(void);

/* ficcontClone: a deep copy, or NULL for NULL or when memory runs out. */
ficcont *ficcontClone(ficcont *pficcont);

/* ficcontDestroy: frees the strings, both lists and the record; NULL accepted. */
void ficcontDestroy(ficcont *pficcont);

/* ficcontGetCont: the container of index ilIndex, or NULL when there is none. */
ficcontCont *ficcontGetCont(const ficcont *pficcont, int32_t ilIndex);

/*
** ficcontMapExtent
**   DMS striping of table-space extent ilExtent over plistMapCb: the first
**   stripe whose last extent is >= ilExtent gives the container
**   (*pilCont, an index into the container list) and the extent's row in
**   that container (*pilRow, extents of earlier stripes on the same
**   container counted in; the container header is not).
**   Returns 0, or FICCONT_RC_NOMAP (outputs -1) for a negative extent, one
**   beyond the last stripe, or a stripe without containers or with an id
**   not below ilContainers.
*/
int ficcontMapExtent(const olist *plistMapCb, int32_t ilContainers, int32_t ilExtent, int32_t *pilCont,
                     int32_t *pilRow);

/*
** ficcontLogical2Physical
**   Extent form of both mappings: DMS, table-space extent ilExtent as
**   ficcontMapExtent; SMS, extent ilExtent of the table with file id
**   ilFileId: container (ilExtent + ilFileId) mod containers, extent
**   ilExtent div containers.  The caller adds the container header.
**   Returns 0, or FICCONT_RC_NOMAP (outputs -1).
*/
int ficcontLogical2Physical(const ficcont *pficcont, int32_t ilFileId, int32_t ilExtent, int32_t *pilCont,
                            int32_t *pilExtentInCont);

/* Debug dumps and the item callbacks of the three lists. */
void _ficcontPrintContList(olist *plist, void *pitem, FILE *pfile, int iLength);
void _ficcontPrintContDef(olist *plist, void *pitem, FILE *pfile, int iLength);
void _ficcontPrintMapCb(olist *plist, void *pitem, FILE *pfile, int iLength);
void *_ficcontMapCbClone(olist *plist, void *pitem);
void _ficcontMapCbDestroy(olist *plist, void *pitem);
void *_ficcontContClone(olist *plist, void *pitem);
void _ficcontContDestroy(olist *plist, void *pitem);

#endif
