/*
** ficbackup.h
**   First-generation backup navigator: finds one table of one table space
**   in a backup image by walking the image block by block, and positions
**   the image on the table's long-field and LOB objects of an SMS table
**   space.  It is kept beside the backup object of storage/zorbk.h, which
**   replaced it; no read path of the program uses it.
**
**   The walk assumes buffers of 4 MB after the 4096-byte media header and
**   classifies each 512-byte block by its 14-byte eye-catcher:
**     "SQLUBRMEDHEAD "  a media header (4096 bytes, stepped over)
**     "SQLUBROBJHEAD "  an object header (layout in storage/zorbk.h), then
**                       its data
**     "SQLUBRMHTAIL  "  a media-header tail block (stepped over)
**     "SQLUBRCKTAIL  "  the end of the image
**   any other block is filler up to the next buffer boundary.  In addition
**   to the object header fields of zorbk.h it reads:
**     0x22   146   qualified table name: creator "." table, blank-padded
**   Table-space list entries (72 bytes): name at 0, i16 table-space id at
**   20, u32 type at 24.  Table-space definitions are decoded as table-space
**   records of the control file (storage/ficcont.h).
**
**   An information block and its open image belong to one thread.
*/
#ifndef ZAV_STORAGE_FICBACKUP_H
#define ZAV_STORAGE_FICBACKUP_H

#include <cstdint>
#include <cstdio>

#define FICBACKUP_BUFFER_SIZE (4 * 1024 * 1024)

/* What the walk found of one table; numbers -1 and texts NULL until found. */
struct ficbackupInfo {
  char    *pcBackupPath;        /* image file (malloc, owned) */
  char    *pcTbs;               /* table-space name (malloc, owned) */
  int32_t  ilTid;               /* table-space id (from the list) */
  int32_t  ilTbsType;           /* table-space type: 1 SMS, 2 DMS (from the list) */
  int32_t  ilExtentSize;        /* geometry from the table-space definition */
  int32_t  ilPrefetchSize;
  int32_t  ilNbPageInTbs;
  int32_t  ilNbPageUsableInTbs;
  int32_t  ilNbContInTbs;
  int32_t  ilContListSize;
  int32_t  ilNbMapCbEntry;
  int32_t  ilPageSize;
  char    *pcQual;              /* table creator (malloc, owned) */
  char    *pcTab;               /* table name (malloc, owned) */
  int16_t  isFid;               /* the table's file id (object id of its data) */
  int32_t  ilNbPage;            /* page count (header word 0x18 of the data object) */
  int64_t  ilObjSize;           /* data size of the table's data object */
  int64_t  offtMax;             /* size of the image */
  int64_t  offtData;            /* position of the table's data (SMS), or of the
                                   table space's pages (DMS); -1 none */
  int64_t  offtCurrent;         /* position reached by the seek functions */
  int      iFd;                 /* descriptor of the image, -1 when closed */
};

/* ficbackupInitInfo: pointers NULL, numbers -1, no descriptor. */
void ficbackupInitInfo(ficbackupInfo *pinfo);

/* ficbackupFreeInfo: frees the texts, closes the image and initialises the block again. */
void ficbackupFreeInfo(ficbackupInfo *pinfo);

/*
** ficbackupReadInfo
**   Prints every field on pfile (standard output when NULL), one line each,
**   "pInfo->pcBackupPath        = <%s>" and so on.
*/
void ficbackupReadInfo(const ficbackupInfo *pinfo, FILE *pfile);

/*
** ficbackupGetBlocks
**   REQUIRES pcBackupPath, pcTbs, pcQual and pcTab set.  Opens the image
**   (kept open for the seek functions) and walks it: the table space's id
**   and type from the list, its geometry from its definition, the table's
**   file id, page count, data size and data position from its data object
**   (SMS) or the position of the table space's pages (DMS).
**   Returns 0 when the table space and the table were found; 0x112a005
**   when one of them is not in the image (fields left at -1); the open code
**   of toolsOpenFile; 0x112a004 without media header, or for a table-space
**   definition that cannot be decoded; 0x112a003 when an object runs past
**   the end of the image; ORC_INVALID for a missing field; ORC_NOMEM.
*/
int ficbackupGetBlocks(ficbackupInfo *pinfo);

/*
** ficbackupSeekFirstLobSMS, ficbackupSeekNextLobSMS,
** ficbackupSeekFirstLfSMS, ficbackupSeekNextLfSMS
**   Position the image on the data of the first (from the start) or next
**   (after the current position) LOB object (type 16) or long-field object
**   (type 2) of the table found by ficbackupGetBlocks.
**   Return 0 with the object's data size in *pllSize and the descriptor at
**   its data; 1 when there is no further such object; ORC_INVALID when the
**   table was not found; 0x112a003 when the image ends inside an object.
*/
int ficbackupSeekFirstLobSMS(ficbackupInfo *pinfo, int64_t *pllSize);
int ficbackupSeekNextLobSMS(ficbackupInfo *pinfo, int64_t *pllSize);
int ficbackupSeekFirstLfSMS(ficbackupInfo *pinfo, int64_t *pllSize);
int ficbackupSeekNextLfSMS(ficbackupInfo *pinfo, int64_t *pllSize);

#endif
