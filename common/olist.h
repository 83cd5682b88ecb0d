/*
** olist.h
**   Singly linked intrusive list.  Every item begins with one pointer word,
**   the next item (struct olistItem).  The list owns its items and frees them
**   through procDestroy, or free() when none is set.
**
**   A reference list (ulFlags bit 0) links nodes of its own (struct olistRef:
**   next, referenced object, flag word whose bit 0 says the node owns the
**   object).  Its callbacks take the referenced object alone; the nodes are
**   always allocated and freed by the list, and only owned objects are freed
**   with it.
**
**   Iterators are records owned by the caller; while one is live the list is
**   changed only through it.  Single-threaded.
*/
#ifndef ZAV_COMMON_OLIST_H
#define ZAV_COMMON_OLIST_H

#include <cstdint>
#include <cstdio>

struct olist;

/* The link word that opens every item. */
struct olistItem {
  void *pitemNext;
};

/* Node of a reference list. */
struct olistRef {
  void *pitemNext;
  void *pData;                  /* the referenced object */
  uint16_t usFlags;             /* OLIST_REF_OWNED: the node owns pData */
};

#define OLIST_REF_OWNED 0x0001
#define OLIST_FLAG_REF  0x00000001u   /* ulFlags: reference list */
#define OLIST_ITERATOR_LIVE 0xacceded0u
#define OLIST_ITERATOR_REMOVED 0x00000001u /* state bit: current item was just removed */

/* Ordinary list callbacks: same contracts as the chain's. */
typedef void *(*olistCloneProc)(olist *plist, void *pitem);
typedef void (*olistDestroyProc)(olist *plist, void *pitem);
typedef void *(*olistCreateProc)(olist *plist, void *pArgument);
typedef void (*olistPrintProc)(olist *plist, void *pitem, FILE *pFile, int iLength);
/* Reference list callbacks: copy / free one referenced object. */
typedef void *(*olistRefCloneProc)(void *pData);
typedef void (*olistRefDestroyProc)(void *pData);
/* qsort convention: the arguments point at item pointers. */
typedef int (*olistCompareProc)(const void *ppitemA, const void *ppitemB);

struct olist {
  void *pitemTop;
  void *pitemBottom;
  int32_t iItemCount;
  int32_t iItemSize;            /* non-zero: items are copied byte for byte */
  olistCloneProc procClone;     /* on a reference list: an olistRefCloneProc */
  olistDestroyProc procDestroy; /* on a reference list: an olistRefDestroyProc */
  olistCreateProc procCreate;
  olistPrintProc procPrintItem;
  uintptr_t pData;              /* free for the owner */
  uint32_t ulFlags;             /* OLIST_FLAG_REF */
};

struct olistIterator {
  olist *plist;
  void *pitemNext;
  void *pitemCurrent;
  void *pitemPrevious;
  uint32_t ulState;             /* OLIST_ITERATOR_LIVE (| OLIST_ITERATOR_REMOVED), 0 once destroyed */
};

/* olistCreate: a new empty list, all other fields 0; NULL when memory runs out. */
olist *olistCreate(int iItemSize, olistCloneProc procClone, olistDestroyProc procDestroy);

/*
** olistCreateRef
**   Returns a new empty reference list.  Its item size is 0 when both
**   callbacks are given (nodes are copied through procClone), else the size
**   of a node (a copy then refers to the same objects and owns none).
*/
olist *olistCreateRef(olistRefCloneProc procClone, olistRefDestroyProc procDestroy);

/* olistAppendRef: appends a node referring to pData, owning it when iOwned is non-zero. */
void olistAppendRef(olist *plist, void *pData, int iOwned);

/* olistDestroy: destroys every item (olistDestroyItem), then the header; NULL ignored. */
void olistDestroy(olist *plist);

/*
** olistDestroyItem
**   Ordinary list: procDestroy or free().  Reference list: frees the object
**   when the node owns it (procDestroy or free()), then the node.
*/
void olistDestroyItem(olist *plist, void *pitem);

/* olistClone: a copy with the same callbacks and a copy of each item; NULL for NULL or on failure. */
olist *olistClone(olist *plist);

/*
** olistCloneItem
**   Returns an unlinked copy of pitem (blank when NULL): through procClone,
**   or a byte copy of the item size (on a reference list the copy does not
**   own the object).  NULL when memory or the callback fails.
*/
void *olistCloneItem(olist *plist, void *pitem);

/* olistCreateItem: procCreate(list, pArgument), or olistCloneItem(list, NULL); NULL on failure. */
void *olistCreateItem(olist *plist, void *pArgument);
void olistSetCreateProc(olist *plist, olistCreateProc procCreate);

void olistAppend(olist *plist, void *pitem);
void olistPrepend(olist *plist, void *pitem);

/* olistInsertSorted: links pitem before the first item that compares >= to it. */
void olistInsertSorted(olist *plist, void *pitem, olistCompareProc procCompare);

/* olistSort: qsort of the items; 0, or 5 when the work array cannot be allocated. */
int olistSort(olist *plist, olistCompareProc procCompare);

/*
** olistMerge
**   Concatenation: returns pother when plist is empty, plist when pother is
**   empty; otherwise moves pother's items after plist's, empties pother
**   (its header is not freed) and returns plist.
*/
olist *olistMerge(olist *plist, olist *pother);

/*
** olistMergeSort
**   Merges two sorted lists (equal keys: pother's item first) into plist and
**   empties pother, which the caller still frees.  Returns pother when plist
**   is empty, plist when pother is empty.
*/
olist *olistMergeSort(olist *plist, olist *pother, olistCompareProc procCompare);

/* olistDetachList: returns the top item and empties the header. */
void *olistDetachList(olist *plist);
/* olistAttachList: makes the run starting at pitem the list's content (NULL empties it). */
void olistAttachList(olist *plist, void *pitem);
void olistReverse(olist *plist);

/* olistPrint: flag bit 0 dumps the header, bit 1 every item. */
void olistPrint(olist *plist, FILE *pFile, int iLength, int iFlags);
/* olistPrintItem: procPrintItem, else a hex dump of iLength bytes (4 when 0). */
void olistPrintItem(olist *plist, void *pitem, FILE *pFile, int iLength);

/* Iterators: start before the first item. */
void olistIteratorInit(olistIterator *piter, olist *plist);
/*
** olistIteratorNext
**   Moves to the next item and returns 1, or returns 0 at the end.  Right
**   after olistIteratorRemoveItem it does not move: it returns 1 when the
**   removed item had a successor (now current), else 0.
*/
int olistIteratorNext(olistIterator *piter);
/* The current item (on a reference list, the node); NULL before the first move. */
void *olistIteratorGetItem(olistIterator *piter);
/* The current node's referenced object; NULL when there is no current item. */
void *olistIteratorGetRef(olistIterator *piter);
void olistIteratorInsertAfter(olistIterator *piter, void *pitem);
/* Links pitem before the current item and makes it current; the next move revisits the old current item. */
void olistIteratorInsertBefore(olistIterator *piter, void *pitem);
/* Unlinks and returns the current item (NULL when none); its successor becomes current. */
void *olistIteratorRemoveItem(olistIterator *piter);
void olistIteratorDestroy(olistIterator *piter);

#endif
