/*
** odb2x2.h
**   Reader of the stored catalogue file "$FAKE": a typed resource file
**   (common/orscs.h) in the current directory holding catalogue rows filed
**   by subsystem id, catalogue index and key value.  A handle opens the
**   file; an iterator positions on one index and key, reads the row stored
**   there with its child rows (row types of catalog/ofakecat.h) and turns
**   the rows into chains of catalogue records (model/osysibm.h).  The
**   control step uses it to read a view's definition (index DSNVTH01 over
**   SYSVTREE, key = creator padded to 8 and name padded to 18).
**
**   File layout (dictionaries of the resource store):
**     main dictionary      one dictionary per subsystem, named by the
**                          4-byte subsystem id as a zero-terminated name
**     subsystem dictionary I16 resource "Version" (major release =
**                          Version / 100) and one dictionary per index,
**                          named by its 8-character name
**     index dictionary     one dictionary per key value, named by the key
**                          bytes (up to 255, blanks included)
**     key dictionary       entries under any names, each one resource of
**                          row type 0x8014TTTV (TT the obid of the index's
**                          table, V = major - 3) with its child rows nested
**
**   Record images (the rows as read): the record pointer lies 6 bytes past
**   the header {Flags i8, Size i16, Obid i16, MapId i8}; images are
**   allocated by odb2x2ImageCreate (the record is pointer-aligned, so an
**   image can be an ochaine item: its first two slots are the links) and
**   freed by odb2x2ImageDestroy.  Size counts the image in memory.
**
**   A handle lives from odb2x2Create to odb2x2Destroy and keeps the file
**   open; an iterator borrows its handle.  The catalogue object table is
**   filled by every odb2x2Create; converters are cached per table in
**   atableRefConversion until exit.  One thread.
*/
#ifndef ZAV_CATALOG_ODB2X2_H
#define ZAV_CATALOG_ODB2X2_H

#include <cstdint>
#include <cstdio>

#include "common/ochaine.h"
#include "common/ores.h"
#include "common/orscs.h"

/* Row of the catalogue row table gacatrowDb2: one column of a catalogue table. */
struct odb2x2CatRow {
  int16_t      sObid;        /* table obid; 0 spare row; -1 end row */
  int16_t      sSqlType;     /* 392, 448, 452, 480, 496, 500; 0 child slot */
  int16_t      sLength;      /* bytes; child slot: child obid, 0 no child */
  char         acName[20];   /* 18 bytes blank-padded, then 2 zero bytes */
  int16_t      sRelease;     /* first DB2 release x 100 */
  uint16_t     usLimit;      /* version limit, 65535 but for one row */
  int16_t      sZero2;
  const void  *pvDefault;    /* default value bytes, or NULL */
  char         cEncoding;    /* 'E' text, 'X' binary, 0 numbers */
  char         acZero[3];
};

/* Entry of the catalogue object table aindexrowDb2, indexed by obid. */
struct odb2x2ObjRow {
  int32_t  iFirstRow;        /* table: its first row in gacatrowDb2 */
  int16_t  sTableObid;       /* index: the obid of its table; table: 0 */
  char     acName[8];        /* table space of a table, name of an index */
  char     acZero[2];
};

/* Row of the virtual column counts aCatRid. */
struct odb2x2CatRid {
  char     acName[20];       /* 18 bytes blank-padded, then 2 zero bytes; a leading blank ends the table */
  int32_t  iCount;           /* child chains of a row of that table */
};

#define ODB2X2_OBJECTS 384

extern odb2x2CatRow       gacatrowDb2[];   /* names blank-padded at load */
extern odb2x2ObjRow       aindexrowDb2[ODB2X2_OBJECTS];
extern odb2x2CatRid       aCatRid[];       /* names blank-padded at load */

/* Handle. */
struct odb2x2 {
  char      acBlanks[8];
  char      acIndex[8];      /* index name given to odb2x2Create */
  char      acTablespace[8]; /* table-space name given to odb2x2Create */
  orscs    *prscs;           /* the open file, NULL when it could not be opened */
  oresdict *pdictSsid;       /* the subsystem dictionary, NULL when absent */
  int16_t   sMajor;          /* Version / 100 */
  int16_t   sVersion;
};

/* Node of the child tree: entry 0 the table, then chosen children; an all-zero entry ends it. */
struct odb2x2Node;
struct odb2x2NodeEntry {
  int16_t      sObid;
  int16_t      sSlotOffset;  /* 4 x position of the child-slot row among the table's rows */
  odb2x2Node  *pnode;        /* the child's own node */
};
struct odb2x2Node {
  odb2x2NodeEntry aentry[8];
};

/* Entry of the obid list of odb2x2IteratorInit; obid 0 ends the list. */
struct odb2x2ObidList {
  int16_t               sObid;
  const odb2x2ObidList *plist;   /* the list that chooses the child's own children, or NULL */
};

#define ODB2X2_MARKER 0xACCEDEDu

/* Iterator, allocated by the caller. */
struct odb2x2Iterator {
  uint32_t        ulMarker;  /* ODB2X2_MARKER after odb2x2IteratorInit */
  odb2x2         *phandle;
  odb2x2Node     *ptree;
  int32_t         iKeyLength;
  char           *pcKey;     /* owned copy */
  oresdict       *pdictIndex;
  oresdict       *pdictKey;
  oresDictCursor  cursor;
  int16_t         sIndexObid;
  int16_t         sState;    /* 3 after init, 0 converting, 1 conversion failed */
};

/*
** odb2x2Create
**   Opens "$FAKE" in the current directory (created and formatted when it
**   is missing or empty) and loads the subsystem dictionary of pcSsid (4
**   bytes; NULL: the default id) and its "Version".  pcIndex and
**   pcTablespace: 8 bytes each, not terminated.  A file that exists but is
**   not a resource file is left alone (message DBX0001E): the handle then
**   has no file.  Returns the handle, or NULL only when memory runs out.
*/
odb2x2 *odb2x2Create(const char *pcSsid, const char *pcIndex, const char *pcTablespace);

/* odb2x2SetDefaultSsid: sets the 4-byte default subsystem id. */
void odb2x2SetDefaultSsid(const char *pcSsid);

/*
** odb2x2Destroy
**   Releases the subsystem dictionary, closes the file (orscsDestroy),
**   frees the handle and posts the end-of-trace record of the module.
**   NULL is ignored.
*/
void odb2x2Destroy(odb2x2 *phandle);

/*
** odb2x2IteratorInit
**   Positions the iterator on the key dictionary of pcKey (iKeyLength bytes)
**   in the index of obid sIndexObid; plist (obid 0 ends it) chooses the
**   child tables of the tree.  Returns 0, or 8 when the file, the subsystem
**   dictionary, the index or the key dictionary is missing (also for an
**   unknown index or a key of 256 bytes or more).
*/
int odb2x2IteratorInit(odb2x2Iterator *piter, odb2x2 *phandle, int16_t sIndexObid, const char *pcKey,
                       int32_t iKeyLength, const odb2x2ObidList *plist);

/* odb2x2IteratorSetKey: replaces the key and positions again; 0 or 8 as odb2x2IteratorInit. */
int odb2x2IteratorSetKey(odb2x2Iterator *piter, const char *pcKey, int32_t iKeyLength);

/* odb2x2IteratorNext: 0 when the cursor moved to another entry, 4 at the end or without key dictionary. */
int odb2x2IteratorNext(odb2x2Iterator *piter);

/*
** odb2x2IteratorGet / odb2x2IteratorGetFull
**   The record image of the current entry with its child rows, unconverted
**   (the caller frees it with odb2x2ImageDestroy), or NULL: no key
**   dictionary, no entry, or the row cannot be read.
*/
void *odb2x2IteratorGet(odb2x2Iterator *piter);
void *odb2x2IteratorGetFull(odb2x2Iterator *piter);

/*
** odb2x2IteratorGetFullConvert
**   Reads the current entry and converts it with its child rows into
**   catalogue records whose owners are set.  Without pchaine returns a new
**   chain of the records (destroy callback osysibmChaineDestroyProc);
**   with one, appends the first converted record to it and returns it.
**   NULL when nothing was read or a record failed to convert.
*/
ochaine *odb2x2IteratorGetFullConvert(odb2x2Iterator *piter, ochaine *pchaine);

/*
** odb2x2IteratorGetKey
**   The name of the current entry of the key dictionary, or NULL; *piLength
**   (may be NULL) receives its length.
*/
const char *odb2x2IteratorGetKey(odb2x2Iterator *piter, int32_t *piLength);

/* odb2x2IteratorDestroy: frees the tree and the key, ends the cursor, releases the dictionaries; 0. */
int odb2x2IteratorDestroy(odb2x2Iterator *piter);

/* odb2x2GetVirtualColumnsNb: the child-chain count of a catalogue table name, -1 when unknown. */
int odb2x2GetVirtualColumnsNb(const char *pcTableName);

/*
** odb2x2PrintItem
**   Prints "\nObid = %2x\n" and "Len  = %2x\n" from the record's header and
**   the record through the chain's item print, then every child chain with
**   this function.  With a NULL chain only the child chains are printed.
*/
void odb2x2PrintItem(ochaine *pchaine, void *precord, FILE *pfile);

/* toolsDump: hexadecimal dump of ilLength bytes, 32 a line, with their characters. */
void toolsDump(FILE *pfile, const void *pvData, int32_t ilLength);

/* ----------------------------------------------------------- record images */

/*
** odb2x2ImageCreate
**   A zeroed image whose record holds ilRecordLength bytes; its header's
**   Size is set to 6 + ilRecordLength.  Returns the record pointer, or NULL
**   (no memory, or a length outside 0..32761).
*/
void *odb2x2ImageCreate(int32_t ilRecordLength);
/* odb2x2ImageDestroy: frees an image made by odb2x2ImageCreate (child chains are not touched). */
void odb2x2ImageDestroy(void *precord);
/* odb2x2ImageHeader: the 6 header bytes of a record image. */
inline unsigned char *odb2x2ImageHeader(void *precord)
{
  return static_cast<unsigned char *>(precord) - 6;
}
/* Header fields (host order). */
int16_t odb2x2ImageSize(const void *precord);
int16_t odb2x2ImageObid(const void *precord);

/*
** Chains of record images: odb2x2ChaineCreate makes one tagged with the
** table's obid (pData) whose clone copies an image with copies of its child
** chains, and whose destroy destroys the child chains of the slots that
** name a child table, then frees the image.  NULL when memory runs out.
*/
ochaine *odb2x2ChaineCreate(int16_t sObid);
void *odb2x2ChaineCloneProc(ochaine *pchaine, void *precord);
void odb2x2ChaineDestroyProc(ochaine *pchaine, void *precord);

/* ----------------------------------------------------------- catalogue rows */

/* The first row of a table in gacatrowDb2, or NULL for an obid without rows. */
const odb2x2CatRow *odb2x2TableRows(int16_t sObid);
/* Count of the table's leading child-slot rows (SQL type 0); they are the image's slots. */
int odb2x2SlotCount(int16_t sObid);
/* The largest length of the table's column of that name (18 bytes, blank-padded or terminated); 0 if none. */
int odb2x2ColumnLength(int16_t sObid, const char *pcName);

#endif
