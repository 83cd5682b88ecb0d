/*
** olist.cpp
**   Singly linked intrusive list and reference list: creation and
**   destruction with the owner's callbacks, linking, ordered insert, sort,
**   concatenation, merge of sorted lists, reversal, iterators and the debug
**   dumps.  See olist.h for the item layout and ownership rules.
*/
#include "common/olist.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

static inline void *&_next(void *pitem) { return static_cast<olistItem *>(pitem)->pitemNext; }
static inline bool _isRef(const olist *plist) { return (plist->ulFlags & OLIST_FLAG_REF) != 0; }

/* A reference list keeps its one-argument callbacks in the ordinary callback fields. */
typedef void (*_olistAnyProc)(void);
template <typename To, typename From> static inline To _procCast(From proc)
{
  return reinterpret_cast<To>(reinterpret_cast<_olistAnyProc>(proc));
}
static inline olistRefCloneProc _refClone(const olist *plist)
{
  return _procCast<olistRefCloneProc>(plist->procClone);
}
static inline olistRefDestroyProc _refDestroy(const olist *plist)
{
  return _procCast<olistRefDestroyProc>(plist->procDestroy);
}

/* The item before pitem, found from the top; NULL for the top or an item not in the list. */
static void *_olistPredecessor(olist *plist, void *pitem)
{
  void *pprev = nullptr;
  for (void *p = plist->pitemTop; p && p != pitem; p = _next(p)) pprev = p;
  return pprev;
}

/* Links pitem after pprev (NULL: as the top), becoming the bottom when it is last. */
static void _olistLinkAfter(olist *plist, void *pprev, void *pitem)
{
  if (pprev) {
    _next(pitem) = _next(pprev);
    _next(pprev) = pitem;
  } else {
    _next(pitem) = plist->pitemTop;
    plist->pitemTop = pitem;
  }
  if (!_next(pitem)) plist->pitemBottom = pitem;
  plist->iItemCount++;
}

olist *olistCreate(int iItemSize, olistCloneProc procClone, olistDestroyProc procDestroy)
{
  olist *plist = static_cast<olist *>(calloc(1, sizeof(olist)));
  if (!plist) return nullptr;
  plist->iItemSize = iItemSize;
  plist->procClone = procClone;
  plist->procDestroy = procDestroy;
  return plist;
}

olist *olistCreateRef(olistRefCloneProc procClone, olistRefDestroyProc procDestroy)
{
  olist *plist = olistCreate(procClone && procDestroy ? 0 : static_cast<int>(sizeof(olistRef)),
                             _procCast<olistCloneProc>(procClone),
                             _procCast<olistDestroyProc>(procDestroy));
  if (plist) plist->ulFlags |= OLIST_FLAG_REF;
  return plist;
}

void olistAppendRef(olist *plist, void *pData, int iOwned)
{
  olistRef *pnode = static_cast<olistRef *>(calloc(1, sizeof(olistRef)));
  if (!pnode) return;
  pnode->pData = pData;
  pnode->usFlags = iOwned ? OLIST_REF_OWNED : 0;
  olistAppend(plist, pnode);
}

void olistDestroy(olist *plist)
{
  if (!plist) return;
  void *pitem = plist->pitemTop;
  while (pitem) {
    void *pnext = _next(pitem);
    olistDestroyItem(plist, pitem);
    pitem = pnext;
  }
  free(plist);
}

void olistDestroyItem(olist *plist, void *pitem)
{
  if (!pitem) return;
  if (_isRef(plist)) {
    olistRef *pnode = static_cast<olistRef *>(pitem);
    if ((pnode->usFlags & OLIST_REF_OWNED) && pnode->pData) {
      if (plist->procDestroy) _refDestroy(plist)(pnode->pData);
      else free(pnode->pData);
    }
    free(pnode);
  } else if (plist->procDestroy) {
    plist->procDestroy(plist, pitem);
  } else {
    free(pitem);
  }
}

void *olistCloneItem(olist *plist, void *pitem)
{
  if (plist->procClone) {
    if (_isRef(plist)) {
      const olistRef *psource = static_cast<const olistRef *>(pitem);
      olistRef *pnode = static_cast<olistRef *>(calloc(1, sizeof(olistRef)));
      if (!pnode) return nullptr;
      if (psource && psource->pData) {
        pnode->pData = _refClone(plist)(psource->pData);
        if (!pnode->pData) {
          free(pnode);
          return nullptr;
        }
        pnode->usFlags = psource->usFlags;
      }
      return pnode;
    }
    void *pcopy = plist->procClone(plist, pitem);
    if (pcopy) _next(pcopy) = nullptr;
    return pcopy;
  }
  if (plist->iItemSize < static_cast<int>(sizeof(olistItem))) return nullptr;
  size_t size = static_cast<size_t>(plist->iItemSize);
  void *pcopy = malloc(size);
  if (!pcopy) return nullptr;
  if (pitem) memcpy(pcopy, pitem, size);
  else memset(pcopy, 0, size);
  _next(pcopy) = nullptr;
  if (_isRef(plist)) static_cast<olistRef *>(pcopy)->usFlags &= static_cast<uint16_t>(~OLIST_REF_OWNED);
  return pcopy;
}

olist *olistClone(olist *plist)
{
  if (!plist) return nullptr;
  olist *pcopy = olistCreate(plist->iItemSize, plist->procClone, plist->procDestroy);
  if (!pcopy) return nullptr;
  pcopy->ulFlags = plist->ulFlags & OLIST_FLAG_REF;
  for (void *pitem = plist->pitemTop; pitem; pitem = _next(pitem)) {
    void *pnew = olistCloneItem(plist, pitem);
    if (!pnew) {
      olistDestroy(pcopy);
      return nullptr;
    }
    olistAppend(pcopy, pnew);
  }
  return pcopy;
}

void *olistCreateItem(olist *plist, void *pArgument)
{
  if (!plist->procCreate) return olistCloneItem(plist, nullptr);
  void *pitem = plist->procCreate(plist, pArgument);
  if (pitem) _next(pitem) = nullptr;
  return pitem;
}

void olistSetCreateProc(olist *plist, olistCreateProc procCreate) { plist->procCreate = procCreate; }

void olistAppend(olist *plist, void *pitem)
{
  void *plast = plist->pitemBottom;
  if (!plast && plist->pitemTop) {
    plast = plist->pitemTop;
    while (_next(plast)) plast = _next(plast);
  }
  _next(pitem) = nullptr;
  if (plast) _next(plast) = pitem;
  else plist->pitemTop = pitem;
  plist->pitemBottom = pitem;
  plist->iItemCount++;
}

void olistPrepend(olist *plist, void *pitem)
{
  _next(pitem) = plist->pitemTop;
  plist->pitemTop = pitem;
  if (!plist->pitemBottom) plist->pitemBottom = pitem;
  plist->iItemCount++;
}

void olistInsertSorted(olist *plist, void *pitem, olistCompareProc procCompare)
{
  _next(pitem) = nullptr;
  void *pprev = nullptr;
  void *pexisting = plist->pitemTop;
  while (pexisting && procCompare(&pexisting, &pitem) < 0) {
    pprev = pexisting;
    pexisting = _next(pexisting);
  }
  _olistLinkAfter(plist, pprev, pitem);
}

int olistSort(olist *plist, olistCompareProc procCompare)
{
  if (plist->iItemCount <= 0 || !plist->pitemTop) return 0;
  size_t count = static_cast<size_t>(plist->iItemCount);
  void **ppitems = static_cast<void **>(malloc(count * sizeof(void *)));
  if (!ppitems) return 5;
  size_t n = 0;
  for (void *pitem = plist->pitemTop; pitem && n < count; pitem = _next(pitem)) ppitems[n++] = pitem;
  qsort(ppitems, n, sizeof(void *), procCompare);
  for (size_t i = 0; i < n; i++) _next(ppitems[i]) = i + 1 < n ? ppitems[i + 1] : nullptr;
  plist->pitemTop = ppitems[0];
  plist->pitemBottom = ppitems[n - 1];
  free(ppitems);
  return 0;
}

olist *olistMerge(olist *plist, olist *pother)
{
  if (!plist || !plist->pitemTop) return pother;
  if (!pother || !pother->pitemTop) return plist;
  void *plast = plist->pitemBottom;
  if (!plast) {
    plast = plist->pitemTop;
    while (_next(plast)) plast = _next(plast);
  }
  _next(plast) = pother->pitemTop;
  plist->pitemBottom = pother->pitemBottom;
  plist->iItemCount += pother->iItemCount;
  pother->pitemTop = nullptr;
  pother->pitemBottom = nullptr;
  pother->iItemCount = 0;
  return plist;
}

olist *olistMergeSort(olist *plist, olist *pother, olistCompareProc procCompare)
{
  if (!plist || !plist->pitemTop) return pother;
  if (!pother || !pother->pitemTop) return plist;
  void *pa = plist->pitemTop;
  void *pb = pother->pitemTop;
  void *plast = nullptr;
  while (pa && pb) {
    void *ptaken;
    if (procCompare(&pa, &pb) < 0) {
      ptaken = pa;
      pa = _next(pa);
    } else {
      ptaken = pb;
      pb = _next(pb);
    }
    if (plast) _next(plast) = ptaken;
    else plist->pitemTop = ptaken;
    plast = ptaken;
  }
  _next(plast) = pa ? pa : pb;
  while (_next(plast)) plast = _next(plast);
  plist->pitemBottom = plast;
  plist->iItemCount += pother->iItemCount;
  pother->pitemTop = nullptr;
  pother->pitemBottom = nullptr;
  pother->iItemCount = 0;
  return plist;
}

void *olistDetachList(olist *plist)
{
  void *pitem = plist->pitemTop;
  plist->pitemTop = nullptr;
  plist->pitemBottom = nullptr;
  plist->iItemCount = 0;
  return pitem;
}

void olistAttachList(olist *plist, void *pitem)
{
  plist->pitemTop = pitem;
  plist->pitemBottom = nullptr;
  plist->iItemCount = 0;
  for (void *p = pitem; p; p = _next(p)) {
    plist->pitemBottom = p;
    plist->iItemCount++;
  }
}

void olistReverse(olist *plist)
{
  void *pprev = nullptr;
  void *pitem = plist->pitemTop;
  plist->pitemBottom = pitem;
  while (pitem) {
    void *pnext = _next(pitem);
    _next(pitem) = pprev;
    pprev = pitem;
    pitem = pnext;
  }
  plist->pitemTop = pprev;
}

template <typename F> static void *_procAddress(F proc) { return reinterpret_cast<void *>(proc); }

void olistPrint(olist *plist, FILE *pFile, int iLength, int iFlags)
{
  if (!pFile) return;
  if (iFlags & 1) {
    fprintf(pFile, "olist : %lx\n", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(plist)));
    if (plist) {
      fprintf(pFile, "  pitemTop      : %p\n", plist->pitemTop);
      fprintf(pFile, "  pitemBottom   : %p\n", plist->pitemBottom);
      fprintf(pFile, "  iItemCount    : %i\n", plist->iItemCount);
      fprintf(pFile, "  iItemSize     : %i\n", plist->iItemSize);
      fprintf(pFile, "  procClone     : %p\n", _procAddress(plist->procClone));
      fprintf(pFile, "  procDestroy   : %p\n", _procAddress(plist->procDestroy));
      fprintf(pFile, "  procPrintItem : %p\n", _procAddress(plist->procPrintItem));
      fprintf(pFile, "  pData         : %lx\n", static_cast<unsigned long>(plist->pData));
      fprintf(pFile, "  ulFlags       : %8x\n", plist->ulFlags);
    }
    fprintf(pFile, "-----------------\n");
  }
  if ((iFlags & 2) && plist) {
    for (void *pitem = plist->pitemTop; pitem; pitem = _next(pitem)) olistPrintItem(plist, pitem, pFile, iLength);
  }
}

void olistPrintItem(olist *plist, void *pitem, FILE *pFile, int iLength)
{
  if (!pFile || !pitem) return;
  if (plist && plist->procPrintItem) {
    plist->procPrintItem(plist, pitem, pFile, iLength);
    return;
  }
  if (iLength <= 0) iLength = 4;
  fprintf(pFile, "Element de la list %lx\n", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(plist)));
  const unsigned char *pb = static_cast<const unsigned char *>(pitem);
  for (int off = 0; off < iLength; off += 16) {
    char acLine[128];
    int n = iLength - off < 16 ? iLength - off : 16;
    int pos = snprintf(acLine, sizeof acLine, "%8p : ", static_cast<const void *>(pb + off));
    for (int i = 0; i < n; i++) pos += snprintf(acLine + pos, sizeof acLine - pos, "%.2X ", pb[off + i]);
    for (int i = n; i < 16; i++) pos += snprintf(acLine + pos, sizeof acLine - pos, "   ");
    for (int i = 0; i < n; i++) acLine[pos++] = isprint(pb[off + i]) ? static_cast<char>(pb[off + i]) : '.';
    acLine[pos] = '\0';
    fprintf(pFile, "%s\n", acLine);
  }
}

void olistIteratorInit(olistIterator *piter, olist *plist)
{
  piter->plist = plist;
  piter->pitemNext = plist ? plist->pitemTop : nullptr;
  piter->pitemCurrent = nullptr;
  piter->pitemPrevious = nullptr;
  piter->ulState = OLIST_ITERATOR_LIVE;
}

int olistIteratorNext(olistIterator *piter)
{
  if (piter->ulState & OLIST_ITERATOR_REMOVED) {
    piter->ulState &= ~OLIST_ITERATOR_REMOVED;
    return piter->pitemCurrent ? 1 : 0;
  }
  if (!piter->pitemNext) return 0;
  piter->pitemPrevious = piter->pitemCurrent;
  piter->pitemCurrent = piter->pitemNext;
  piter->pitemNext = _next(piter->pitemCurrent);
  return 1;
}

void *olistIteratorGetItem(olistIterator *piter) { return piter->pitemCurrent; }

void *olistIteratorGetRef(olistIterator *piter)
{
  return piter->pitemCurrent ? static_cast<olistRef *>(piter->pitemCurrent)->pData : nullptr;
}

void olistIteratorInsertAfter(olistIterator *piter, void *pitem)
{
  olist *plist = piter->plist;
  if (piter->pitemCurrent) {
    _olistLinkAfter(plist, piter->pitemCurrent, pitem);
    piter->pitemNext = pitem;
  } else if (piter->pitemNext) {
    _olistLinkAfter(plist, piter->pitemPrevious, pitem);
    piter->pitemNext = pitem;
  } else {
    void *plast = piter->pitemPrevious ? piter->pitemPrevious : plist->pitemBottom;
    _olistLinkAfter(plist, plast, pitem);
    piter->pitemCurrent = pitem;
  }
}

void olistIteratorInsertBefore(olistIterator *piter, void *pitem)
{
  olist *plist = piter->plist;
  if (piter->pitemCurrent) {
    _olistLinkAfter(plist, piter->pitemPrevious, pitem);
    piter->pitemNext = piter->pitemCurrent;
    piter->pitemCurrent = pitem;
  } else {
    _olistLinkAfter(plist, piter->pitemPrevious, pitem);
    piter->pitemCurrent = pitem;
  }
}

void *olistIteratorRemoveItem(olistIterator *piter)
{
  void *pitem = piter->pitemCurrent;
  if (!pitem) return nullptr;
  olist *plist = piter->plist;
  void *pprev = piter->pitemPrevious;
  if (pprev && _next(pprev) != pitem) pprev = _olistPredecessor(plist, pitem);
  void *psucc = _next(pitem);
  if (pprev) _next(pprev) = psucc;
  else plist->pitemTop = psucc;
  if (!psucc) plist->pitemBottom = pprev;
  plist->iItemCount--;
  _next(pitem) = nullptr;
  piter->pitemPrevious = pprev;
  piter->pitemCurrent = psucc;
  piter->pitemNext = psucc ? _next(psucc) : nullptr;
  piter->ulState |= OLIST_ITERATOR_REMOVED;
  return pitem;
}

void olistIteratorDestroy(olistIterator *piter) { piter->ulState = 0; }
