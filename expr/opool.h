/*
** opool.h
**   Pool of fixed-size elements with a free list, for the WHERE evaluator's
**   result elements.  The pool lives in caller storage and only grows:
**   blocks are allocated as needed and freed together by opoolDelete.
**   Callers take and give back elements themselves: pop the head of pFree
**   (calling _poolExtend when it is empty) and push an element back by
**   storing the old head in its first word.  One thread per pool.
**
**   A block is one allocation: a pointer to the previously allocated block
**   (NULL for the first), then the elements.  A free element's first
**   pointer-sized word links to the next free element.
*/
#ifndef ZAV_EXPR_OPOOL_H
#define ZAV_EXPR_OPOOL_H

#include <cstdint>

struct opool {
  void *pBlocks;        /* most recently allocated block, or NULL */
  uint32_t uiElemSize;  /* element size in bytes: at least a pointer, a multiple of 8 */
  int32_t iInitial;     /* elements of the first block */
  int32_t iCount;       /* equal to iInitial; never changed */
  int32_t iGrowth;      /* elements of every further block */
  void *pFree;          /* first free element, or NULL */
};

/* Bytes of a default first block (element count 0 asks for as many as fit). */
#define OPOOL_DEFAULT_BYTES 4088

/*
** opoolInit
**   Sets up a pool: the element size is raised to hold a pointer and rounded
**   up to a multiple of 8; an initial count of 0 means 4088 / element size
**   (at least 1), a growth count of 0 the initial count.  Allocates the
**   first block; the free list starts at its first element.
**   Returns 1, or 0 when pPool is NULL, a count is negative or the first
**   block cannot be allocated.
*/
int opoolInit(opool *pPool, uint32_t uiElemSize, int32_t iInitial, int32_t iGrowth);

/*
** _poolCreateExtention
**   Allocates a block of iCount elements with its elements chained (the
**   last one links to NULL); the block link is left to the caller.
**   Returns the block, or NULL when memory runs out.
*/
void *_poolCreateExtention(opool *pPool, int32_t iCount);

/*
** _poolExtend
**   Adds a block of the growth count at the head of the block list; its
**   second element and the ones after it go on the free list (before any
**   elements already free).  Returns its first element, or NULL when memory
**   runs out.
*/
void *_poolExtend(opool *pPool);

/*
** opoolDelete
**   Frees every block; the pool is left empty (no blocks, no free list).
*/
void opoolDelete(opool *pPool);

#endif
