/*
** zorbk.h
**   Backup images and the backup files of a BACKUP clause.  A file entry
**   (zorbkFileEntry) stands for one backup file named in the control file:
**   the control-file parser makes it with its name and partition 0 and
**   keeps the entries in the BACKUP list (an olist created with
**   zorbkFileEntryCloneItem and zorbkFileEntryDestroyItem); the fields
**   taken from the file name and the backup objects are filled later by the
**   checks of the control step and by the run step.
**
**   Ownership: an entry owns its file name, database alias and directory;
**   the backup objects (zorbk) live until the process ends and are never
**   freed through an entry.  Single-threaded.
*/
#ifndef ZAV_STORAGE_ZORBK_H
#define ZAV_STORAGE_ZORBK_H

#include <cstdint>

struct ochar;
struct olist;
struct zorbk;

struct zorbkFileEntry {
  zorbkFileEntry *pitemNext;  /* list link */
  ochar   *pcharFileName;     /* file name, owned */
  int32_t  ilPart;            /* partition number (0 from the parser) */
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

#endif
