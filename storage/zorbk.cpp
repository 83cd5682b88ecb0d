/*
** zorbk.cpp
**   Backup file entries of a BACKUP clause (see zorbk.h): creation by the
**   control-file parser and the list callbacks that copy and free them.
*/
#include "storage/zorbk.h"

#include <cstdlib>

#include "common/ochar.h"

zorbkFileEntry *zorbkFileEntryCreate(ochar *pcharFileName, int32_t ilPart)
{
  zorbkFileEntry *pentry = static_cast<zorbkFileEntry *>(std::calloc(1, sizeof(zorbkFileEntry)));
  if (pentry == nullptr) return nullptr;
  pentry->pcharFileName = pcharFileName;
  pentry->ilPart = ilPart;
  return pentry;
}

void *zorbkFileEntryCloneItem(olist *, void *pitem)
{
  const zorbkFileEntry *pfrom = static_cast<const zorbkFileEntry *>(pitem);
  if (pfrom == nullptr) return std::calloc(1, sizeof(zorbkFileEntry));
  ochar *pcharName = nullptr;
  if (pfrom->pcharFileName != nullptr) {
    pcharName = ocharClone(pfrom->pcharFileName);
    if (pcharName == nullptr) return nullptr;
  }
  zorbkFileEntry *pentry = zorbkFileEntryCreate(pcharName, pfrom->ilPart);
  if (pentry == nullptr) ocharDestroy(pcharName);
  return pentry;
}

void zorbkFileEntryDestroyItem(olist *, void *pitem)
{
  zorbkFileEntry *pentry = static_cast<zorbkFileEntry *>(pitem);
  if (pentry == nullptr) return;
  if (pentry->pcharFileName != nullptr) ocharDestroy(pentry->pcharFileName);
  if (pentry->pcharAlias != nullptr) ocharDestroy(pentry->pcharAlias);
  std::free(pentry->pcDirectory);
  std::free(pentry);
}
