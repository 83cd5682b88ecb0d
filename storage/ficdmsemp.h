/*
** ficdmsemp.h
**   First-generation readers of a DMS table space's object table and extent
**   maps, for the forked readers: the object table as an array of object
**   entries, the data pages of a table written to the DMS page-number pipe,
**   and the extent lists of its long-field and LOB objects.
**
**   Pages are read from the open containers (descriptors, or daemon handles
**   when the configuration is remote) of the DMS access configuration
**   (ficdms.h): with a zero start offset a table-space page is mapped to its
**   container and page by ficdmsIdentifyPage; with a non-zero 64-bit start
**   offset (an image) page p is read at p x page size + offset from the
**   first descriptor.  Every page read has its torn-page bits restored.  The
**   layouts of EMP pages and object-table records are those of zortsemp.h;
**   empty direct pages are holes that the walk steps over, as the
**   table-space object's iterator does.
**
**   DMS page-number pipe (native 4-byte integers, no framing):
**     word 0      first page of the table's first data extent
**     words 1..   every page of every data extent, in extent-map order
**
**   One process; the configuration's first page buffer is used for the
**   object-table pages and the EMP pages that are read one at a time.
*/
#ifndef ZAV_STORAGE_FICDMSEMP_H
#define ZAV_STORAGE_FICDMSEMP_H

#include <cstdint>

#include "storage/ficdms.h"
#include "storage/zortsemp.h"

/* Further codes of the first-generation readers (the walk's codes are those of zorts.h and zortsemp.h). */
#define FICDMS_RC_SHORT_READ 0x113a006  /* a page ended early (short read) */
#define FICDMS_RC_NOT_FOUND  0x113a007  /* the object is not in the object table */
#define FICDMS_RC_PIPE       0x113a008  /* the page-number pipe could not be written */

/* One object of the object table. */
struct ficdmsTabObj {
  int16_t  sTbsId;         /* data object: table-space id */
  int16_t  sObjId;         /* data object: object id */
  int32_t  ilDataEmp;      /* data object: first EMP page */
  int32_t  ilFirstData;    /* data object: first data page */
  int32_t  ilLFEmp;        /* long-field object: first EMP page */
  int32_t  ilLOBEmp;       /* LOB object: first EMP page */
  int16_t  sLFTbsId;       /* long-field object: table-space id */
  int16_t  sLFObjId;       /* long-field object: object id (0 none) */
  int16_t  sLOBTbsId;      /* LOB object: table-space id */
  int16_t  sLOBObjId;      /* LOB object: object id (0 none) */
  unsigned char aucRecord[ZORTS_OBJTAB_CURRENT_SIZE];  /* the whole record, current layout */
};

/*
** ficdmsInitTabObj
**   Reads the object table: table-space page 1 gives its extents, object
**   page 0 its page count N (u32 at offset 4 of the record in slot 0) and
**   records from slot 1 on (objects 1 to 3 sit in slots 1 to 3, where their
**   position puts them), its following pages records in every slot, in
**   map order until N pages have been read.
**   Returns the array of entries (free with ficdmsFreeTabObj) with
**   *pilCount; NULL with *pilCount 0 when the table holds no record; NULL
**   with *pilCount -1 after a trace when a page cannot be read, is
**   inconsistent, or the object table has fewer pages mapped than N.
*/
ficdmsTabObj *ficdmsInitTabObj(ficdmsConf *pconf, const int *piFd, uint32_t ulOffsetLow,
                               uint32_t ulOffsetHigh, int32_t *pilCount);

/*
** ficdmsGetFirstDataPage
**   *pilPage = the first data page of object (ilObjId, ilTbsId).
**   Returns 0, or 0x113a007 ("Not Found" traced; *pilPage untouched).
*/
int ficdmsGetFirstDataPage(const ficdmsTabObj *pentries, int32_t ilCount, int32_t ilObjId,
                           int32_t ilTbsId, int32_t *pilPage);

/*
** ficdmsGetFirstPages
**   The data object's first EMP page and first data page of the object.
**   Returns 0, or 0x113a007 (outputs untouched).
*/
int ficdmsGetFirstPages(const ficdmsTabObj *pentries, int32_t ilCount, int32_t ilObjId,
                        int32_t ilTbsId, int32_t *pilFirstEmp, int32_t *pilFirstData);

/*
** ficdmsGetDataPages
**   Writes the page-number pipe of the object's data object: the first page
**   of its first data extent, then X page numbers per data extent in map
**   order.  Nothing is written when the object has no extent.
**   Returns 0; 0x113a007 when the object is not in the array; 0x113a008
**   when the pipe cannot be written; the code of a failed, short or
**   inconsistent EMP page read (the pages listed so far stay written).
*/
int ficdmsGetDataPages(ficdmsConf *pconf, const int *piFd, uint32_t ulOffsetLow, uint32_t ulOffsetHigh,
                       const ficdmsTabObj *pentries, int32_t ilCount, int32_t ilObjId, int32_t ilTbsId,
                       int iPipe);

/*
** ficdmsGetLFPages / ficdmsGetLOBPages
**   The first pages of every extent of the object's long-field (LOB)
**   object, in map order.
**   Returns a malloc'ed array (caller frees) with *pilCount; NULL with
**   *pilCount 0 when the object has no such object or no extent; NULL with
**   *pilCount -1 when the object is not found or an EMP page cannot be read
**   or is inconsistent.
*/
int32_t *ficdmsGetLFPages(ficdmsConf *pconf, const int *piFd, uint32_t ulOffsetLow, uint32_t ulOffsetHigh,
                          const ficdmsTabObj *pentries, int32_t ilCount, int32_t ilObjId, int32_t ilTbsId,
                          int32_t *pilCount);
int32_t *ficdmsGetLOBPages(ficdmsConf *pconf, const int *piFd, uint32_t ulOffsetLow, uint32_t ulOffsetHigh,
                           const ficdmsTabObj *pentries, int32_t ilCount, int32_t ilObjId, int32_t ilTbsId,
                           int32_t *pilCount);

/*
** ficdmsFreeTabObj
**   Frees the array of ficdmsInitTabObj.  NULL accepted.
*/
void ficdmsFreeTabObj(ficdmsTabObj *pentries, int32_t ilCount);

/*
** _ficdmsReadPage
**   Reads table-space page ilPage into pBuffer (page size bytes): locally
**   with lseek/read at page x page size + offset (mapped to its container
**   first when the offset is 0), or through the daemon (the page's block);
**   then restores its torn-page bits.  iFd is used when the offset is not 0
**   (piFd of the callers: its first entry); piFd gives the containers'.
**   Returns 0; 0x113a005 when the page has no mapping; 0x113a003 when its
**   container is not open (descriptor -1) or the read fails; 0x113a006 when
**   it returns fewer bytes than a page (the buffer is then not used);
**   ORC_INVALID for a negative page or a remote position that is not a
**   whole page.
*/
int _ficdmsReadPage(const int *piFd, int32_t ilPage, uint32_t ulOffsetLow, uint32_t ulOffsetHigh,
                    unsigned char *pBuffer, const ficdmsConf *pconf);

/*
** _ficdmsReadDataEMP
**   Takes the header and entries of the EMP page in the configuration's
**   first buffer: *pilEntries = n_entries, *pulLevel = level, and the
**   entries copied into pulEntries (room for K entries).
**   Returns 0, or 0x113a005 for an inconsistent page.
*/
int _ficdmsReadDataEMP(uint32_t *pulEntries, int32_t *pilEntries, uint32_t *pulLevel,
                       const ficdmsConf *pconf);

/*
** _ficdmsGetExtDataPages
**   Reads the X direct pages of the EMP extent at ilExtentPage and writes X
**   page numbers for each of their entries to the pipe, stepping over empty
**   pages.
**   Returns 0, or the code of a failed read, an inconsistent page or the pipe.
*/
int _ficdmsGetExtDataPages(int32_t ilExtentPage, const int *piFd, uint32_t ulOffsetLow,
                           uint32_t ulOffsetHigh, int iPipe, ficdmsConf *pconf);

#endif
