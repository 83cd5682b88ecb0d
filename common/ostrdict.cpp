/*
** ostrdict.cpp
**   String-keyed dictionary: an oname table for the keys and an odict keyed by
**   the interned pointers.  The dictionary owns both tables, never the
**   values.  No tracing.
*/
#include "common/ostrdict.h"

#include <cstdlib>
#include <cstring>

#include "common/oreason.h"

ostrdict *ostrdictCreate(uint32_t ulSizeHint, uint32_t ulLoadFactor)
{
  ostrdict *pstrdict = static_cast<ostrdict *>(std::malloc(sizeof(ostrdict)));
  if (pstrdict == nullptr)
    return nullptr;
  pstrdict->pdict = odictCreate(ulSizeHint, ulLoadFactor);
  pstrdict->pname = onameCreate(ulSizeHint, ulLoadFactor);
  if (pstrdict->pdict == nullptr || pstrdict->pname == nullptr) {
    odictDestroy(pstrdict->pdict);
    onameDestroy(pstrdict->pname);
    std::free(pstrdict);
    return nullptr;
  }
  onameSetFastEntry(pstrdict->pname, 1);
  return pstrdict;
}

int ostrdictStoreFixed(ostrdict *pstrdict, const char *pcName, size_t ulLength, void *pValue)
{
  if (pstrdict == nullptr || pcName == nullptr || ulLength == 0 || ulLength > ONAME_MAXLENGTH)
    return ORC_INVALID;
  /* Interning fails here only for want of memory: the name itself is valid. */
  const char *pcInterned = onameInternFixed(pstrdict->pname, pcName, ulLength);
  if (pcInterned == nullptr)
    return ORC_NOMEM;
  return odictStore(pstrdict->pdict, reinterpret_cast<uintptr_t>(pcInterned), pValue);
}

int ostrdictStore(ostrdict *pstrdict, const char *pcName, void *pValue)
{
  if (pcName == nullptr)
    return ORC_INVALID;
  return ostrdictStoreFixed(pstrdict, pcName, std::strlen(pcName), pValue);
}

void *ostrdictLoadFixed(const ostrdict *pstrdict, const char *pcName, size_t ulLength)
{
  if (pstrdict == nullptr)
    return nullptr;
  const char *pcInterned = onameGetFixed(pstrdict->pname, pcName, ulLength);
  if (pcInterned == nullptr)
    return nullptr;
  return odictLoad(pstrdict->pdict, reinterpret_cast<uintptr_t>(pcInterned));
}

void *ostrdictLoad(const ostrdict *pstrdict, const char *pcName)
{
  if (pcName == nullptr)
    return nullptr;
  return ostrdictLoadFixed(pstrdict, pcName, std::strlen(pcName));
}

uint32_t ostrdictGetCount(const ostrdict *pstrdict)
{
  return pstrdict == nullptr ? 0 : odictGetCount(pstrdict->pdict);
}

void ostrdictDestroy(ostrdict *pstrdict)
{
  if (pstrdict == nullptr)
    return;
  odictDestroy(pstrdict->pdict);
  onameDestroy(pstrdict->pname);
  std::free(pstrdict);
}
