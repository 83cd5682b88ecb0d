/*
** ostack.cpp
**   Growable stack of pointer-sized words: creation, in-place set-up of an
**   embedded header, growth, pushing a whole stack, destruction and the
**   debug dump.  Push and pop are inline in ostack.h.
*/
#include "common/ostack.h"

#include <cstdlib>
#include <cstring>

/* Slots given to a stack that has none when its first word is pushed. */
static const int OSTACK_FIRST_SLOTS = 16;

/* Points base, top and end at a fresh array of iSlots slots, or leaves the stack without slots. */
static void _ostackAllocate(ostack *pstack, int iSlots)
{
  if (iSlots < 0) iSlots = 0;
  uintptr_t *parray = static_cast<uintptr_t *>(malloc(static_cast<size_t>(iSlots ? iSlots : 1) * sizeof(uintptr_t)));
  pstack->iCount = 0;
  if (!parray) {
    pstack->pArray = pstack->pBase = pstack->pTop = pstack->pEnd = nullptr;
    pstack->iCapacity = 0;
    pstack->ulOwned = 0;
    return;
  }
  pstack->pArray = pstack->pBase = pstack->pTop = parray;
  pstack->pEnd = parray + iSlots;
  pstack->iCapacity = iSlots;
  pstack->ulOwned = OSTACK_OWNED;
}

/* Moves the words to an array of iSlots slots (iSlots >= count); exits when memory runs out. */
static void _ostackReallocate(ostack *pstack, size_t iSlots)
{
  size_t used = static_cast<size_t>(pstack->pTop - pstack->pBase);
  uintptr_t *parray;
  if (pstack->ulOwned == OSTACK_OWNED && pstack->pArray) {
    parray = static_cast<uintptr_t *>(realloc(pstack->pArray, iSlots * sizeof(uintptr_t)));
  } else {
    /* An array the stack does not own is copied, never reallocated. */
    parray = static_cast<uintptr_t *>(malloc(iSlots * sizeof(uintptr_t)));
    if (parray && used) memcpy(parray, pstack->pBase, used * sizeof(uintptr_t));
  }
  if (!parray) exit(OSTACK_EXIT_NOMEM);
  pstack->pArray = pstack->pBase = parray;
  pstack->pTop = parray + used;
  pstack->pEnd = parray + iSlots;
  pstack->iCapacity = static_cast<int32_t>(iSlots);
  pstack->ulOwned = OSTACK_OWNED;
}

ostack *ostackCreate(int iSlots)
{
  ostack *pstack = static_cast<ostack *>(calloc(1, sizeof(ostack)));
  if (!pstack) return nullptr;
  _ostackAllocate(pstack, iSlots);
  return pstack;
}

void ostackInit(ostack *pstack, int iSlots)
{
  if (pstack->ulOwned == OSTACK_OWNED && pstack->pArray) free(pstack->pArray);
  _ostackAllocate(pstack, iSlots);
}

int _stackResize(ostack *pstack)
{
  size_t capacity = pstack->iCapacity > 0 ? static_cast<size_t>(pstack->iCapacity) : 0;
  _ostackReallocate(pstack, capacity ? 2 * capacity : OSTACK_FIRST_SLOTS);
  return 0;
}

void ostackPushStack(ostack *pstack, ostack *pother)
{
  if (!pstack || !pother) return;
  size_t added = static_cast<size_t>(pother->pTop - pother->pBase);
  if (!added) return;
  size_t used = static_cast<size_t>(pstack->pTop - pstack->pBase);
  size_t capacity = pstack->iCapacity > 0 ? static_cast<size_t>(pstack->iCapacity) : 0;
  if (used + added > capacity || !pstack->pBase) _ostackReallocate(pstack, 2 * capacity + added);
  /* pother may be pstack itself: its base is read after the array has moved. */
  memmove(pstack->pTop, pother->pBase, added * sizeof(uintptr_t));
  pstack->pTop += added;
  pstack->iCount += static_cast<int32_t>(added);
}

void ostackDestroy(ostack *pstack)
{
  if (!pstack) return;
  if (pstack->ulOwned == OSTACK_OWNED) free(pstack->pArray);
  pstack->ulOwned = 0;
  pstack->pTop = pstack->pBase = pstack->pEnd = pstack->pArray = nullptr;
  free(pstack);
}

void ostackDump(ostack *pstack, FILE *pFile)
{
  if (!pFile || !pstack) return;
  fprintf(pFile, "stack:%p, end:%p, pointer:%p\n", static_cast<void *>(pstack->pArray),
          static_cast<void *>(pstack->pEnd), static_cast<void *>(pstack->pTop));
  int count = static_cast<int>(pstack->pTop - pstack->pBase);
  int i = 0;
  for (; i + 1 < count; i += 2)
    fprintf(pFile, "%8.8lX %8.8lX\n", static_cast<unsigned long>(pstack->pBase[i]),
            static_cast<unsigned long>(pstack->pBase[i + 1]));
  if (i < count) fprintf(pFile, "%8.8lX\n", static_cast<unsigned long>(pstack->pBase[i]));
}
