/*
** ostack.h
**   Growable stack of pointer-sized words (pointers or integers cast to
**   uintptr_t).  The words are not owned: owners free what they point to
**   before destroying the stack.  A header may stand alone (ostackCreate) or
**   be embedded in another structure, zeroed, and set up with ostackInit.
**   Push, pop and the accessors are inline.  A stack whose array cannot grow
**   ends the process with status 4026.  Single-threaded: a user that shares a
**   stack holds its own lock.
*/
#ifndef ZAV_COMMON_OSTACK_H
#define ZAV_COMMON_OSTACK_H

#include <cstdint>
#include <cstdio>

#define OSTACK_OWNED 0xACCEDEDu       /* ulOwned: the stack owns its slot array */
#define OSTACK_EXIT_NOMEM 4026        /* exit status when the array cannot grow */

struct ostack {
  uintptr_t *pTop;              /* next free slot */
  uintptr_t *pArray;            /* the allocated block */
  uintptr_t *pBase;             /* first slot, equal to pArray */
  uintptr_t *pEnd;              /* one past the last slot */
  int32_t iCapacity;            /* slots */
  uint32_t ulOwned;             /* OSTACK_OWNED, else 0 */
  int32_t iCount;               /* pushed words */
};

/*
** ostackCreate
**   Returns a new stack of iSlots slots; NULL when the header cannot be
**   allocated; a stack without slots (no owned marker) when only the array
**   cannot.
*/
ostack *ostackCreate(int iSlots);

/*
** ostackInit
**   Sets up an embedded header with a new array of iSlots slots, freeing an
**   array it already owns.  REQUIRES: the header was zeroed or set up before.
*/
void ostackInit(ostack *pstack, int iSlots);

/*
** _stackResize
**   Doubles the array of a full stack (a stack without slots gets 16).
**   Returns 0; exits with status 4026 when memory runs out.
*/
int _stackResize(ostack *pstack);

/*
** ostackPushStack
**   Pushes all of pother's words, bottom first, onto pstack; pother is
**   unchanged.  Nothing when either is NULL.
*/
void ostackPushStack(ostack *pstack, ostack *pother);

/* ostackDestroy: frees an owned array and the header (not the words); NULL ignored. */
void ostackDestroy(ostack *pstack);

/* ostackDump: the array, end and top, then the words from the bottom, two a line. */
void ostackDump(ostack *pstack, FILE *pFile);

/* ostackPush: stores ulWord on top, growing a full stack first. */
inline void ostackPush(ostack *pstack, uintptr_t ulWord)
{
  if (pstack->pTop >= pstack->pEnd) _stackResize(pstack);
  *pstack->pTop++ = ulWord;
  pstack->iCount++;
}

/* ostackPop: returns the top word and removes it; 0 on an empty stack. */
inline uintptr_t ostackPop(ostack *pstack)
{
  if (pstack->pTop <= pstack->pBase) return 0;
  pstack->iCount--;
  return *--pstack->pTop;
}

/* ostackGetCount: the number of pushed words. */
inline int ostackGetCount(const ostack *pstack) { return pstack->iCount; }

/* ostackGetAt: the i-th pushed word from the bottom (0 = first pushed).  REQUIRES: i < count. */
inline uintptr_t ostackGetAt(const ostack *pstack, int i) { return pstack->pBase[i]; }

#endif
