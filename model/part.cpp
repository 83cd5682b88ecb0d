/*
** part.cpp
**   Partition work items of the run step: constructor, deep copy of the
**   owned objects, destructor and the olist callbacks.  The partition
**   records are copied and freed through the procedures installed by their
**   own module (see part.h); the table-space reader is always shared.
*/
#include "model/part.h"

#include <cstdlib>
#include <cstring>

#include "common/olist.h"

partFiccontCloneProc gprocPartFiccontClone = nullptr;
partFiccontDestroyProc gprocPartFiccontDestroy = nullptr;

void partSetFiccontProcs(partFiccontCloneProc procClone, partFiccontDestroyProc procDestroy)
{
  gprocPartFiccontClone = procClone;
  gprocPartFiccontDestroy = procDestroy;
}

part *partCreate(int32_t ilPart, int32_t ilDataPages, void *pTableDesc, ficcont *pficcont,
                 ficcont *pficcontLong, uint16_t usFlags)
{
  auto *ppart = static_cast<part *>(calloc(1, sizeof(part)));
  if (ppart == nullptr) return nullptr;
  ppart->ilPart = ilPart;
  ppart->ilDataPages = ilDataPages;
  ppart->pTableDesc = pTableDesc;
  ppart->pficcont = pficcont;
  ppart->pficcontLong = pficcontLong;
  ppart->usFlags = usFlags;
  return ppart;
}

/* Copies one owned partition record into *ppficcontCopy; false when it
** cannot be copied (no procedure installed, or the copy failed). */
static bool _partCloneFiccont(ficcont *pficcont, ficcont **ppficcontCopy)
{
  *ppficcontCopy = nullptr;
  if (pficcont == nullptr) return true;
  if (gprocPartFiccontClone == nullptr) return false;
  *ppficcontCopy = gprocPartFiccontClone(pficcont);
  return *ppficcontCopy != nullptr;
}

part *partClone(const part *ppart)
{
  if (ppart == nullptr) return nullptr;
  auto *pcopy = static_cast<part *>(malloc(sizeof(part)));
  if (pcopy == nullptr) return nullptr;
  *pcopy = *ppart;
  /* Until each copy is made the copy owns nothing, so a failure can free it. */
  pcopy->usFlags = 0;
  bool boFailed = false;
  if (ppart->usFlags & PART_OWN_TABLEDESC) {
    pcopy->pTableDesc = nullptr;
    if (ppart->pTableDesc != nullptr) {
      pcopy->pTableDesc = malloc(PART_TABLEDESC_SIZE);
      if (pcopy->pTableDesc == nullptr) boFailed = true;
      else memcpy(pcopy->pTableDesc, ppart->pTableDesc, PART_TABLEDESC_SIZE);
    }
    if (!boFailed) pcopy->usFlags |= PART_OWN_TABLEDESC;
  }
  if (!boFailed && (ppart->usFlags & PART_OWN_FICCONT)) {
    boFailed = !_partCloneFiccont(ppart->pficcont, &pcopy->pficcont);
    if (!boFailed) pcopy->usFlags |= PART_OWN_FICCONT;
  }
  if (!boFailed && (ppart->usFlags & PART_OWN_LONG)) {
    boFailed = !_partCloneFiccont(ppart->pficcontLong, &pcopy->pficcontLong);
    if (!boFailed) pcopy->usFlags |= PART_OWN_LONG;
  }
  if (boFailed) {
    partDestroy(pcopy);
    return nullptr;
  }
  pcopy->usFlags = ppart->usFlags;
  return pcopy;
}

void partDestroy(part *ppart)
{
  if (ppart == nullptr) return;
  if (ppart->usFlags & PART_OWN_TABLEDESC) free(ppart->pTableDesc);
  if (gprocPartFiccontDestroy != nullptr) {
    if ((ppart->usFlags & PART_OWN_FICCONT) && ppart->pficcont != nullptr)
      gprocPartFiccontDestroy(ppart->pficcont);
    if ((ppart->usFlags & PART_OWN_LONG) && ppart->pficcontLong != nullptr)
      gprocPartFiccontDestroy(ppart->pficcontLong);
  }
  free(ppart);
}

void *partCloneItem(olist *plist, void *pitem)
{
  (void)plist;
  if (pitem == nullptr) return partCreate(-1, 0, nullptr, nullptr, nullptr, PART_OWN_TABLEDESC);
  return partClone(static_cast<const part *>(pitem));
}

void partDestroyItem(olist *plist, void *pitem)
{
  (void)plist;
  partDestroy(static_cast<part *>(pitem));
}
