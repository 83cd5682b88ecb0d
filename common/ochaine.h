/*
** ochaine.h
**   Doubly linked intrusive chain.  Every item begins with two pointer words,
**   the next item and the previous item (struct ochaineItem); the rest of the
**   item belongs to its owner.  The chain owns its items: destroying the chain
**   hands each item to procDestroy, or to free() when none is set, so items
**   are allocated with malloc by their creators.  Iterators are records owned
**   by the caller; while one is live the chain is changed only through it.
**   Single-threaded: a user that shares a chain holds its own lock.
*/
#ifndef ZAV_COMMON_OCHAINE_H
#define ZAV_COMMON_OCHAINE_H

#include <cstdint>
#include <cstdio>

struct ochaine;

/* The two link words that open every item. */
struct ochaineItem {
  void *pitemNext;              /* next item, NULL for the last */
  void *pitemPrev;              /* previous item, NULL for the first */
};

/* Returns a new copy of pitem, or a new blank item when pitem is NULL; NULL on failure. */
typedef void *(*ochaineCloneProc)(ochaine *pchaine, void *pitem);
/* Frees one unlinked item and everything it owns. */
typedef void (*ochaineDestroyProc)(ochaine *pchaine, void *pitem);
/* Returns a new item built from pArgument, NULL on failure. */
typedef void *(*ochaineCreateProc)(ochaine *pchaine, void *pArgument);
/* Prints one item on pFile. */
typedef void (*ochainePrintProc)(ochaine *pchaine, void *pitem, FILE *pFile, int iLength);
/* qsort convention: the arguments point at item pointers. */
typedef int (*ochaineCompareProc)(const void *ppitemA, const void *ppitemB);

struct ochaine {
  void *pitemTop;               /* first item, NULL when empty */
  void *pitemBottom;            /* last item, NULL when empty */
  int32_t iItemCount;           /* number of linked items */
  int32_t iItemSize;            /* non-zero: items are copied byte for byte and
                                   created zero-filled; 0: procClone does it */
  ochaineCloneProc procClone;
  ochaineDestroyProc procDestroy; /* NULL: free(item) */
  ochaineCreateProc procCreate;   /* NULL at creation, set by the owner */
  ochainePrintProc procPrintItem; /* NULL: hexadecimal dump */
  uintptr_t pData;              /* free for the owner, 0 at creation */
};

#define OCHAINE_ITERATOR_LIVE 0xacceded0u

/* Caller-owned iterator: the chain, the next, current and previous items, the state word. */
struct ochaineIterator {
  ochaine *pchaine;
  void *pitemNext;
  void *pitemCurrent;
  void *pitemPrevious;
  uint32_t ulState;             /* OCHAINE_ITERATOR_LIVE while live, 0 once destroyed */
};

/*
** ochaineCreate
**   Returns a new empty chain (procCreate, procPrintItem and pData 0), or
**   NULL when memory runs out.
*/
ochaine *ochaineCreate(int iItemSize, ochaineCloneProc procClone, ochaineDestroyProc procDestroy);

/* ochaineDestroy: destroys every item from the top, then frees the header; NULL is ignored. */
void ochaineDestroy(ochaine *pchaine);

/*
** ochaineClone
**   Returns a new chain with the same item size, procClone and procDestroy
**   holding a copy of every item in order; NULL for a NULL chain or when an
**   item cannot be copied (nothing is left allocated then).
*/
ochaine *ochaineClone(ochaine *pchaine);

/*
** ochaineCloneItem
**   Returns an unlinked copy of pitem (a blank item when pitem is NULL): a
**   byte copy when the item size is set, else procClone's result.  NULL when
**   memory or the callback fails, or when neither an item size nor procClone
**   is set.
*/
void *ochaineCloneItem(ochaine *pchaine, void *pitem);

/* ochaineCreateItem: procCreate(chain, pArgument), or a blank item without procCreate; NULL on failure. */
void *ochaineCreateItem(ochaine *pchaine, void *pArgument);

/* ochaineDestroyItem: frees an unlinked item through procDestroy or free(). */
void ochaineDestroyItem(ochaine *pchaine, void *pitem);

/* ochaineAppend / ochainePrepend: link pitem as the new bottom / top. */
void ochaineAppend(ochaine *pchaine, void *pitem);
void ochainePrepend(ochaine *pchaine, void *pitem);

/* ochaineRemoveItem: unlinks pitem, clears its links and returns it; NULL for NULL. */
void *ochaineRemoveItem(ochaine *pchaine, void *pitem);

/*
** ochaineInsertSorted
**   Links pitem in order.  Direction 1 scans from the top and puts the item
**   before its equals; any other direction scans from the bottom and puts it
**   after its equals.
*/
void ochaineInsertSorted(ochaine *pchaine, void *pitem, ochaineCompareProc procCompare, int iDirection);

/*
** ochaineSort
**   Sorts the items with qsort (equal items keep no particular order).
**   Returns 0, or 5 when the work array cannot be allocated (chain unchanged).
*/
int ochaineSort(ochaine *pchaine, ochaineCompareProc procCompare);

/*
** ochaineMerge
**   Moves pother's items after pchaine's and frees pother's header.
**   Returns pchaine (pother when pchaine is NULL).
*/
ochaine *ochaineMerge(ochaine *pchaine, ochaine *pother);

/*
** ochaineMergeSort
**   Merges two sorted chains; on equal keys pother's item comes first.
**   Returns the chain holding all items; the other, emptied header is freed.
*/
ochaine *ochaineMergeSort(ochaine *pchaine, ochaine *pother, ochaineCompareProc procCompare);

/*
** ochaineDetachChaine
**   Returns the top (direction 1) or the bottom item and empties the header;
**   the linked items now belong to the caller.
*/
void *ochaineDetachChaine(ochaine *pchaine, int iDirection);

/*
** ochaineAttachChaine
**   Makes a run of linked items the chain's content: direction 1, pitem is
**   the first of a run linked by next links; other directions, the last of
**   a run linked by previous links.  NULL empties the header.  The former
**   content is overwritten, not freed.
*/
void ochaineAttachChaine(ochaine *pchaine, void *pitem, int iDirection);

/* ochainePrint: flag bit 0 dumps the header, bit 1 every item. */
void ochainePrint(ochaine *pchaine, FILE *pFile, int iLength, int iFlags);

/* ochainePrintItem: procPrintItem, else a hex dump of iLength bytes (8 when 0). */
void ochainePrintItem(ochaine *pchaine, void *pitem, FILE *pFile, int iLength);

/* Iterators.  Direction 1 starts before the first item, any other after the last. */
void ochaineIteratorInit(ochaineIterator *piter, ochaine *pchaine, int iDirection);
/* Positions on pitem (current); NULL positions before the first item. */
void ochaineIteratorInitFromItem(ochaineIterator *piter, ochaine *pchaine, void *pitem);
/* ochaineIteratorNext / Prev: 1 after moving, 0 (nothing changed) at the end. */
int ochaineIteratorNext(ochaineIterator *piter);
int ochaineIteratorPrev(ochaineIterator *piter);
/* The current item, NULL before the first move. */
void *ochaineIteratorGetItem(ochaineIterator *piter);
/* Links pitem after the current item; the next ochaineIteratorNext visits it. */
void ochaineIteratorInsertAfter(ochaineIterator *piter, void *pitem);
/* Links pitem before the current item (or makes it current when there is none). */
void ochaineIteratorInsertBefore(ochaineIterator *piter, void *pitem);
/*
** ochaineIteratorRemoveItem
**   Unlinks the current item and returns it with cleared links; the next item
**   becomes current (so the following ochaineIteratorNext moves past it).
**   NULL when there is no current item.
*/
void *ochaineIteratorRemoveItem(ochaineIterator *piter);
void ochaineIteratorDestroy(ochaineIterator *piter);

#endif
