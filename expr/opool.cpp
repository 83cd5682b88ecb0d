/*
** opool.cpp
**   Pool of fixed-size elements with a free list (see opool.h).  Blocks are
**   allocated with malloc and freed only by opoolDelete; elements are
**   recycled through the free list, last in first out.
*/
#include "expr/opool.h"

#include <cstddef>
#include <cstdlib>

/* Bytes of the block link that precedes the elements of a block. */
#define OPOOL_LINK_BYTES 16   /* keeps the elements 16-byte aligned */

static_assert(OPOOL_LINK_BYTES >= sizeof(void *));

static void *_poolElement(void *pBlock, uint32_t uiElemSize, int32_t i)
{
  return static_cast<char *>(pBlock) + OPOOL_LINK_BYTES + static_cast<size_t>(uiElemSize) * i;
}

static void *_poolGetLink(void *p)
{
  return *static_cast<void **>(p);
}

static void _poolSetLink(void *p, void *pNext)
{
  *static_cast<void **>(p) = pNext;
}

void *_poolCreateExtention(opool *pPool, int32_t iCount)
{
  if (pPool == nullptr || iCount <= 0 || pPool->uiElemSize == 0) return nullptr;
  size_t zMax = (SIZE_MAX - OPOOL_LINK_BYTES) / pPool->uiElemSize;
  if (static_cast<size_t>(iCount) > zMax) return nullptr;
  void *pBlock = malloc(OPOOL_LINK_BYTES + static_cast<size_t>(pPool->uiElemSize) * iCount);
  if (pBlock == nullptr) return nullptr;
  _poolSetLink(pBlock, nullptr);
  for (int32_t i = 0; i < iCount; i++) {
    void *pNext = i + 1 < iCount ? _poolElement(pBlock, pPool->uiElemSize, i + 1) : nullptr;
    _poolSetLink(_poolElement(pBlock, pPool->uiElemSize, i), pNext);
  }
  return pBlock;
}

int opoolInit(opool *pPool, uint32_t uiElemSize, int32_t iInitial, int32_t iGrowth)
{
  if (pPool == nullptr) return 0;
  pPool->pBlocks = nullptr;
  pPool->pFree = nullptr;
  if (iInitial < 0 || iGrowth < 0 || uiElemSize > UINT32_MAX - 8) return 0;
  if (uiElemSize < sizeof(void *)) uiElemSize = sizeof(void *);
  uiElemSize = (uiElemSize + 7u) & ~7u;
  if (iInitial == 0) {
    iInitial = static_cast<int32_t>(OPOOL_DEFAULT_BYTES / uiElemSize);
    if (iInitial < 1) iInitial = 1;
  }
  if (iGrowth == 0) iGrowth = iInitial;
  pPool->uiElemSize = uiElemSize;
  pPool->iInitial = iInitial;
  pPool->iCount = iInitial;
  pPool->iGrowth = iGrowth;
  void *pBlock = _poolCreateExtention(pPool, iInitial);
  if (pBlock == nullptr) return 0;
  pPool->pBlocks = pBlock;
  pPool->pFree = _poolElement(pBlock, uiElemSize, 0);
  return 1;
}

void *_poolExtend(opool *pPool)
{
  if (pPool == nullptr) return nullptr;
  void *pBlock = _poolCreateExtention(pPool, pPool->iGrowth);
  if (pBlock == nullptr) return nullptr;
  _poolSetLink(pBlock, pPool->pBlocks);
  pPool->pBlocks = pBlock;
  /* Elements already free stay reachable behind the new ones. */
  void *pLast = _poolElement(pBlock, pPool->uiElemSize, pPool->iGrowth - 1);
  _poolSetLink(pLast, pPool->pFree);
  void *pFirst = _poolElement(pBlock, pPool->uiElemSize, 0);
  pPool->pFree = _poolGetLink(pFirst);
  return pFirst;
}

void opoolDelete(opool *pPool)
{
  if (pPool == nullptr) return;
  void *pBlock = pPool->pBlocks;
  while (pBlock != nullptr) {
    void *pPrev = _poolGetLink(pBlock);
    free(pBlock);
    pBlock = pPrev;
  }
  pPool->pBlocks = nullptr;
  pPool->pFree = nullptr;
}
