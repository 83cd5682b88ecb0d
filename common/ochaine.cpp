/*
** ochaine.cpp
**   Doubly linked intrusive chain: creation and destruction with the owner's
**   callbacks, linking, ordered insert, sort, concatenation and merge of
**   sorted chains, iterators and the debug dumps.  See ochaine.h for the
**   item layout and ownership rules.
*/
#include "common/ochaine.h"

#include <cstdlib>
#include <cstring>

/* Link words of an item. */
static inline void *&_next(void *pitem) { return static_cast<ochaineItem *>(pitem)->pitemNext; }
static inline void *&_prev(void *pitem) { return static_cast<ochaineItem *>(pitem)->pitemPrev; }

/* Links pitem between pprev and pnext (either may be NULL), fixing top and bottom. */
static void _ochaineLinkBetween(ochaine *pchaine, void *pprev, void *pitem, void *pnext)
{
  _prev(pitem) = pprev;
  _next(pitem) = pnext;
  if (pprev) _next(pprev) = pitem;
  else pchaine->pitemTop = pitem;
  if (pnext) _prev(pnext) = pitem;
  else pchaine->pitemBottom = pitem;
  pchaine->iItemCount++;
}

/* Unlinks pitem from its neighbours, fixing top and bottom; clears its links. */
static void _ochaineUnlink(ochaine *pchaine, void *pitem)
{
  void *pprev = _prev(pitem);
  void *pnext = _next(pitem);
  if (pprev) _next(pprev) = pnext;
  else pchaine->pitemTop = pnext;
  if (pnext) _prev(pnext) = pprev;
  else pchaine->pitemBottom = pprev;
  pchaine->iItemCount--;
  _next(pitem) = nullptr;
  _prev(pitem) = nullptr;
}

ochaine *ochaineCreate(int iItemSize, ochaineCloneProc procClone, ochaineDestroyProc procDestroy)
{
  ochaine *pchaine = static_cast<ochaine *>(calloc(1, sizeof(ochaine)));
  if (!pchaine) return nullptr;
  pchaine->iItemSize = iItemSize;
  pchaine->procClone = procClone;
  pchaine->procDestroy = procDestroy;
  return pchaine;
}

void ochaineDestroy(ochaine *pchaine)
{
  if (!pchaine) return;
  void *pitem = pchaine->pitemTop;
  while (pitem) {
    void *pnext = _next(pitem);
    ochaineDestroyItem(pchaine, pitem);
    pitem = pnext;
  }
  free(pchaine);
}

void ochaineDestroyItem(ochaine *pchaine, void *pitem)
{
  if (!pitem) return;
  if (pchaine && pchaine->procDestroy) pchaine->procDestroy(pchaine, pitem);
  else free(pitem);
}

void *ochaineCloneItem(ochaine *pchaine, void *pitem)
{
  void *pcopy = nullptr;
  if (pchaine->iItemSize != 0) {
    size_t size = static_cast<size_t>(pchaine->iItemSize);
    if (pchaine->iItemSize < 0 || size < sizeof(ochaineItem)) return nullptr;
    pcopy = malloc(size);
    if (!pcopy) return nullptr;
    if (pitem) memcpy(pcopy, pitem, size);
    else memset(pcopy, 0, size);
  } else {
    if (!pchaine->procClone) return nullptr;
    pcopy = pchaine->procClone(pchaine, pitem);
    if (!pcopy) return nullptr;
  }
  _next(pcopy) = nullptr;
  _prev(pcopy) = nullptr;
  return pcopy;
}

ochaine *ochaineClone(ochaine *pchaine)
{
  if (!pchaine) return nullptr;
  ochaine *pcopy = ochaineCreate(pchaine->iItemSize, pchaine->procClone, pchaine->procDestroy);
  if (!pcopy) return nullptr;
  for (void *pitem = pchaine->pitemTop; pitem; pitem = _next(pitem)) {
    void *pnew = ochaineCloneItem(pchaine, pitem);
    if (!pnew) {
      ochaineDestroy(pcopy);
      return nullptr;
    }
    ochaineAppend(pcopy, pnew);
  }
  return pcopy;
}

void *ochaineCreateItem(ochaine *pchaine, void *pArgument)
{
  if (!pchaine->procCreate) return ochaineCloneItem(pchaine, nullptr);
  void *pitem = pchaine->procCreate(pchaine, pArgument);
  if (pitem) {
    _next(pitem) = nullptr;
    _prev(pitem) = nullptr;
  }
  return pitem;
}

void ochaineAppend(ochaine *pchaine, void *pitem)
{
  void *plast = pchaine->pitemBottom;
  if (!plast && pchaine->pitemTop) {
    /* A header whose bottom was lost: find the last item from the top. */
    plast = pchaine->pitemTop;
    while (_next(plast)) plast = _next(plast);
  }
  _ochaineLinkBetween(pchaine, plast, pitem, nullptr);
}

void ochainePrepend(ochaine *pchaine, void *pitem)
{
  _ochaineLinkBetween(pchaine, nullptr, pitem, pchaine->pitemTop);
}

void *ochaineRemoveItem(ochaine *pchaine, void *pitem)
{
  if (!pitem) return nullptr;
  _ochaineUnlink(pchaine, pitem);
  return pitem;
}

void ochaineInsertSorted(ochaine *pchaine, void *pitem, ochaineCompareProc procCompare, int iDirection)
{
  _next(pitem) = nullptr;
  _prev(pitem) = nullptr;
  if (iDirection == 1) {
    void *pexisting = pchaine->pitemTop;
    while (pexisting && procCompare(&pexisting, &pitem) < 0) pexisting = _next(pexisting);
    if (pexisting) _ochaineLinkBetween(pchaine, _prev(pexisting), pitem, pexisting);
    else _ochaineLinkBetween(pchaine, pchaine->pitemBottom, pitem, nullptr);
  } else {
    void *pexisting = pchaine->pitemBottom;
    while (pexisting && procCompare(&pexisting, &pitem) > 0) pexisting = _prev(pexisting);
    if (pexisting) _ochaineLinkBetween(pchaine, pexisting, pitem, _next(pexisting));
    else _ochaineLinkBetween(pchaine, nullptr, pitem, pchaine->pitemTop);
  }
}

int ochaineSort(ochaine *pchaine, ochaineCompareProc procCompare)
{
  if (pchaine->iItemCount <= 0 || !pchaine->pitemTop) return 0;
  size_t count = static_cast<size_t>(pchaine->iItemCount);
  void **ppitems = static_cast<void **>(malloc(count * sizeof(void *)));
  if (!ppitems) return 5;
  size_t n = 0;
  for (void *pitem = pchaine->pitemTop; pitem && n < count; pitem = _next(pitem)) ppitems[n++] = pitem;
  qsort(ppitems, n, sizeof(void *), procCompare);
  for (size_t i = 0; i < n; i++) {
    _prev(ppitems[i]) = i > 0 ? ppitems[i - 1] : nullptr;
    _next(ppitems[i]) = i + 1 < n ? ppitems[i + 1] : nullptr;
  }
  pchaine->pitemTop = ppitems[0];
  pchaine->pitemBottom = ppitems[n - 1];
  free(ppitems);
  return 0;
}

ochaine *ochaineMerge(ochaine *pchaine, ochaine *pother)
{
  if (!pchaine) return pother;
  if (!pother) return pchaine;
  if (pother->pitemTop) {
    if (pchaine->pitemTop) {
      void *plast = pchaine->pitemBottom;
      if (!plast) {
        plast = pchaine->pitemTop;
        while (_next(plast)) plast = _next(plast);
      }
      _next(plast) = pother->pitemTop;
      _prev(pother->pitemTop) = plast;
      pchaine->pitemBottom = pother->pitemBottom;
      pchaine->iItemCount += pother->iItemCount;
    } else {
      pchaine->pitemTop = pother->pitemTop;
      pchaine->pitemBottom = pother->pitemBottom;
      pchaine->iItemCount = pother->iItemCount;
    }
  }
  free(pother);
  return pchaine;
}

ochaine *ochaineMergeSort(ochaine *pchaine, ochaine *pother, ochaineCompareProc procCompare)
{
  if (!pchaine) return pother;
  if (!pother) return pchaine;
  if (!pchaine->pitemTop) {
    free(pchaine);
    return pother;
  }
  if (!pother->pitemTop) {
    free(pother);
    return pchaine;
  }
  void *pa = pchaine->pitemTop;
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
    _prev(ptaken) = plast;
    if (plast) _next(plast) = ptaken;
    else pchaine->pitemTop = ptaken;
    plast = ptaken;
  }
  void *prest = pa ? pa : pb;
  _next(plast) = prest;
  _prev(prest) = plast;
  /* The side that remains holds the last item. */
  if (!pa) pchaine->pitemBottom = pother->pitemBottom;
  pchaine->iItemCount += pother->iItemCount;
  free(pother);
  return pchaine;
}

void *ochaineDetachChaine(ochaine *pchaine, int iDirection)
{
  void *pitem = iDirection == 1 ? pchaine->pitemTop : pchaine->pitemBottom;
  pchaine->pitemTop = nullptr;
  pchaine->pitemBottom = nullptr;
  pchaine->iItemCount = 0;
  return pitem;
}

void ochaineAttachChaine(ochaine *pchaine, void *pitem, int iDirection)
{
  pchaine->pitemTop = nullptr;
  pchaine->pitemBottom = nullptr;
  pchaine->iItemCount = 0;
  if (!pitem) return;
  int count = 1;
  void *pend = pitem;
  if (iDirection == 1) {
    _prev(pitem) = nullptr;
    while (_next(pend)) {
      _prev(_next(pend)) = pend;
      pend = _next(pend);
      count++;
    }
    pchaine->pitemTop = pitem;
    pchaine->pitemBottom = pend;
  } else {
    _next(pitem) = nullptr;
    while (_prev(pend)) {
      _next(_prev(pend)) = pend;
      pend = _prev(pend);
      count++;
    }
    pchaine->pitemTop = pend;
    pchaine->pitemBottom = pitem;
  }
  pchaine->iItemCount = count;
}

/* Pointer values are shown in hexadecimal at their full width. */
static unsigned long _hex(const void *p) { return static_cast<unsigned long>(reinterpret_cast<uintptr_t>(p)); }
template <typename F> static unsigned long _hexproc(F proc)
{
  return static_cast<unsigned long>(reinterpret_cast<uintptr_t>(reinterpret_cast<void *>(proc)));
}

void ochainePrint(ochaine *pchaine, FILE *pFile, int iLength, int iFlags)
{
  if (!pFile) return;
  if (iFlags & 1) {
    fprintf(pFile, "ochaine : %lx\n", _hex(pchaine));
    if (pchaine) {
      fprintf(pFile, "  pitemTop      : %lx\n", _hex(pchaine->pitemTop));
      fprintf(pFile, "  pitemBottom   : %lx\n", _hex(pchaine->pitemBottom));
      fprintf(pFile, "  iItemCount    : %i\n", pchaine->iItemCount);
      fprintf(pFile, "  iItemSize     : %i\n", pchaine->iItemSize);
      fprintf(pFile, "  procClone     : %lx\n", _hexproc(pchaine->procClone));
      fprintf(pFile, "  procDestroy   : %lx\n", _hexproc(pchaine->procDestroy));
      fprintf(pFile, "  procPrintItem : %lx\n", _hexproc(pchaine->procPrintItem));
      fprintf(pFile, "  pData         : %lx\n", static_cast<unsigned long>(pchaine->pData));
    }
    fprintf(pFile, "-----------------\n");
  }
  if ((iFlags & 2) && pchaine) {
    for (void *pitem = pchaine->pitemTop; pitem; pitem = _next(pitem)) ochainePrintItem(pchaine, pitem, pFile, iLength);
  }
}

void ochainePrintItem(ochaine *pchaine, void *pitem, FILE *pFile, int iLength)
{
  if (!pFile || !pitem) return;
  if (pchaine && pchaine->procPrintItem) {
    pchaine->procPrintItem(pchaine, pitem, pFile, iLength);
    return;
  }
  if (iLength <= 0) iLength = 8;
  fprintf(pFile, "Element de la chaine %lx\n", _hex(pchaine));
  const unsigned char *pb = static_cast<const unsigned char *>(pitem);
  for (int off = 0; off < iLength; off += 16) {
    char acLine[128];
    int n = iLength - off < 16 ? iLength - off : 16;
    int pos = snprintf(acLine, sizeof acLine, "%8p : ", static_cast<const void *>(pb + off));
    for (int i = 0; i < n; i++) pos += snprintf(acLine + pos, sizeof acLine - pos, "%2.2X ", pb[off + i]);
    for (int i = n; i < 16; i++) pos += snprintf(acLine + pos, sizeof acLine - pos, "   ");
    for (int i = 0; i < n; i++) acLine[pos++] = pb[off + i] < 0x20 ? '.' : static_cast<char>(pb[off + i]);
    acLine[pos] = '\0';
    fprintf(pFile, "%s\n", acLine);
  }
}

void ochaineIteratorInit(ochaineIterator *piter, ochaine *pchaine, int iDirection)
{
  piter->pchaine = pchaine;
  piter->pitemCurrent = nullptr;
  if (iDirection == 1) {
    piter->pitemNext = pchaine ? pchaine->pitemTop : nullptr;
    piter->pitemPrevious = nullptr;
  } else {
    piter->pitemNext = nullptr;
    piter->pitemPrevious = pchaine ? pchaine->pitemBottom : nullptr;
  }
  piter->ulState = OCHAINE_ITERATOR_LIVE;
}

void ochaineIteratorInitFromItem(ochaineIterator *piter, ochaine *pchaine, void *pitem)
{
  if (!pitem) {
    ochaineIteratorInit(piter, pchaine, 1);
    return;
  }
  piter->pchaine = pchaine;
  piter->pitemCurrent = pitem;
  piter->pitemNext = _next(pitem);
  piter->pitemPrevious = _prev(pitem);
  piter->ulState = OCHAINE_ITERATOR_LIVE;
}

int ochaineIteratorNext(ochaineIterator *piter)
{
  if (!piter->pitemNext) return 0;
  piter->pitemPrevious = piter->pitemCurrent;
  piter->pitemCurrent = piter->pitemNext;
  piter->pitemNext = _next(piter->pitemCurrent);
  return 1;
}

int ochaineIteratorPrev(ochaineIterator *piter)
{
  if (!piter->pitemPrevious) return 0;
  piter->pitemNext = piter->pitemCurrent;
  piter->pitemCurrent = piter->pitemPrevious;
  piter->pitemPrevious = _prev(piter->pitemCurrent);
  return 1;
}

void *ochaineIteratorGetItem(ochaineIterator *piter) { return piter->pitemCurrent; }

void ochaineIteratorInsertAfter(ochaineIterator *piter, void *pitem)
{
  ochaine *pchaine = piter->pchaine;
  if (piter->pitemCurrent) {
    _ochaineLinkBetween(pchaine, piter->pitemCurrent, pitem, _next(piter->pitemCurrent));
    piter->pitemNext = pitem;
  } else if (piter->pitemNext) {
    _ochaineLinkBetween(pchaine, _prev(piter->pitemNext), pitem, piter->pitemNext);
    piter->pitemNext = pitem;
  } else {
    _ochaineLinkBetween(pchaine, piter->pitemPrevious, pitem, nullptr);
    piter->pitemCurrent = pitem;
  }
}

void ochaineIteratorInsertBefore(ochaineIterator *piter, void *pitem)
{
  ochaine *pchaine = piter->pchaine;
  if (piter->pitemCurrent) {
    _ochaineLinkBetween(pchaine, _prev(piter->pitemCurrent), pitem, piter->pitemCurrent);
    piter->pitemPrevious = pitem;
  } else {
    _ochaineLinkBetween(pchaine, piter->pitemPrevious, pitem, piter->pitemNext);
    piter->pitemCurrent = pitem;
  }
}

void *ochaineIteratorRemoveItem(ochaineIterator *piter)
{
  void *pitem = piter->pitemCurrent;
  if (!pitem) return nullptr;
  void *pnext = _next(pitem);
  piter->pitemPrevious = _prev(pitem);
  _ochaineUnlink(piter->pchaine, pitem);
  piter->pitemCurrent = pnext;
  piter->pitemNext = pnext ? _next(pnext) : nullptr;
  return pitem;
}

void ochaineIteratorDestroy(ochaineIterator *piter) { piter->ulState = 0; }
