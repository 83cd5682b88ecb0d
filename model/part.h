/*
** part.h
**   Partition work items of the run step: one per partition that a
**   direct-read SELECT unloads.  An item is an olist item (link word
**   first); the run step creates its lists with partCloneItem and
**   partDestroyItem and makes each item with olistCreateItem(list, NULL).
**
**   Ownership: the 16-byte table description and the two table-space
**   partition records (ficcont) are owned only when their flag is set, and
**   are then copied by partClone and freed by partDestroy; otherwise they
**   are borrowed.  The table-space reader (zorts) is never owned: a copy
**   refers to the same reader.
**
**   The partition records belong to the table-space readers; this module
**   copies and frees them through the two procedures gprocPartFiccontClone
**   and gprocPartFiccontDestroy, which the module of those records installs
**   (partSetFiccontProcs).  Until they are installed an owned record cannot
**   be copied (partClone fails) and is not freed.
*/
#ifndef ZAV_MODEL_PART_H
#define ZAV_MODEL_PART_H

#include <cstdint>

struct olist;
struct ficcont;
struct zorts;

/* Ownership flags. */
#define PART_OWN_TABLEDESC 0x0001   /* table description */
#define PART_OWN_FICCONT   0x0002   /* partition record */
#define PART_OWN_LONG      0x0004   /* long-data partition record */

/* Size of the run step's table description block. */
#define PART_TABLEDESC_SIZE 16

struct part {
  part *pitemNext;          /* list link */
  int32_t ilPart;           /* partition number; -1 in an item made from no source */
  int32_t ilDataPages;      /* data page count */
  void *pTableDesc;         /* table description, owned with PART_OWN_TABLEDESC */
  ficcont *pficcont;        /* partition record, owned with PART_OWN_FICCONT */
  ficcont *pficcontLong;    /* long-data partition record, owned with PART_OWN_LONG */
  uint16_t usFlags;         /* PART_OWN_* */
  zorts *pzorts;            /* table-space reader, never owned */
};

/* Copy and free procedures of the partition records. */
typedef ficcont *(*partFiccontCloneProc)(ficcont *pficcont);
typedef void (*partFiccontDestroyProc)(ficcont *pficcont);
extern partFiccontCloneProc gprocPartFiccontClone;
extern partFiccontDestroyProc gprocPartFiccontDestroy;

/* partSetFiccontProcs: installs the copy and free procedures of the
** partition records. */
void partSetFiccontProcs(partFiccontCloneProc procClone, partFiccontDestroyProc procDestroy);

/* partCreate: a new item holding the fields given, no reader; NULL when
** memory runs out. */
part *partCreate(int32_t ilPart, int32_t ilDataPages, void *pTableDesc, ficcont *pficcont,
                 ficcont *pficcontLong, uint16_t usFlags);

/*
** partClone
**   NULL for NULL.  Otherwise a new item with every field copied (the link
**   too), then a new copy of each owned object: the 16-byte table
**   description, the partition record and the long-data record.
**   Returns NULL when memory runs out or an owned record cannot be copied.
*/
part *partClone(const part *ppart);

/* partDestroy: frees the owned objects, then the item; NULL is accepted. */
void partDestroy(part *ppart);

/* partCloneItem: olist clone callback; for a NULL item a new zero-filled
** item with partition -1 and flags PART_OWN_TABLEDESC.  NULL on failure. */
void *partCloneItem(olist *plist, void *pitem);

/* partDestroyItem: olist destroy callback, as partDestroy. */
void partDestroyItem(olist *plist, void *pitem);

#endif
