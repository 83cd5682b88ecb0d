/*
** udb.h
**   Output-file and LOB-path items.  An output-file item (udbOutFile) stands
**   for one file named by an OUTPUT clause or option -o; it is an olist item
**   (link word first), and lists of them are created with the callbacks
**   udbOutFileCloneItem and udbOutFileDestroyItem, so that a cloned list
**   owns copies of every name, host and partition set.  A LOB-path item
**   (udbLobPath) stands for one directory of a LOB IN clause; it is held in
**   reference lists that do not free it.
**
**   Ownership: an item owns its string objects and its partition set; the
**   Create functions take over what they are given.
*/
#ifndef ZAV_MODEL_UDB_H
#define ZAV_MODEL_UDB_H

#include <cstdint>

struct ochar;
struct obf;
struct olist;

/* Output-file modes: one of REPLACE and APPEND, plus where the file lies. */
#define UDB_MODE_REPLACE 0x01
#define UDB_MODE_APPEND  0x02
#define UDB_MODE_CURRENT 0x04   /* on the current host */
#define UDB_MODE_REMOTE  0x08   /* ON REMOTE HOST */
#define UDB_MODE_HOST    0x10   /* on the named host */

struct udbOutFile {
  udbOutFile *pitemNext;   /* list link */
  ochar *pcharFileName;    /* file name, owned */
  ochar *pcharHost;        /* named host, owned, or NULL */
  uint32_t ulMode;         /* UDB_MODE_* */
  obf *pobfPart;           /* partition set, owned, or NULL for all partitions */
};

struct udbLobPath {
  ochar *pcharPath;        /* directory, owned */
  obf *pobfPart;           /* partition set, owned, or NULL */
};

/* udbOutFileCreate: a new item that takes over the three objects (any may be
** NULL).  Returns the item, or NULL when memory runs out. */
udbOutFile *udbOutFileCreate(ochar *pcharFileName, ochar *pcharHost, obf *pobfPart, uint32_t ulMode);

/*
** udbOutFileClone
**   A new item with copies of the name, host and partition set (those that
**   are present), the same mode and a cleared link.  Returns it, or NULL for
**   NULL or when memory runs out.
*/
udbOutFile *udbOutFileClone(const udbOutFile *pout);

/* udbOutFileCloneItem: olist clone callback; for a NULL item a new item with
** every field NULL and mode 0.  NULL when memory runs out. */
void *udbOutFileCloneItem(olist *plist, void *pitem);

/* udbOutFileDestroy: destroys the name, host and set when present, then frees
** the item; NULL is accepted. */
void udbOutFileDestroy(udbOutFile *pout);

/* udbOutFileDestroyItem: olist destroy callback, as udbOutFileDestroy. */
void udbOutFileDestroyItem(olist *plist, void *pitem);

/* udbLobPathCreate: a new zero-filled item, or NULL when memory runs out. */
udbLobPath *udbLobPathCreate(void);

/* udbLobPathDestroy: destroys the path and the set when present, then frees
** the item; NULL is accepted. */
void udbLobPathDestroy(udbLobPath *plob);

#endif
