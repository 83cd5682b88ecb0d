/*
** udb.cpp
**   Output-file and LOB-path items: constructors, deep copies, destructors
**   and the olist callbacks through which lists of output-file items are
**   copied and freed.  See udb.h for the ownership rules.
*/
#include "model/udb.h"

#include <cstdlib>

#include "common/obf.h"
#include "common/ochar.h"
#include "common/olist.h"

udbOutFile *udbOutFileCreate(ochar *pcharFileName, ochar *pcharHost, obf *pobfPart, uint32_t ulMode)
{
  auto *pout = static_cast<udbOutFile *>(calloc(1, sizeof(udbOutFile)));
  if (pout == nullptr) return nullptr;
  pout->pcharFileName = pcharFileName;
  pout->pcharHost = pcharHost;
  pout->pobfPart = pobfPart;
  pout->ulMode = ulMode;
  return pout;
}

udbOutFile *udbOutFileClone(const udbOutFile *pout)
{
  if (pout == nullptr) return nullptr;
  udbOutFile *pcopy = udbOutFileCreate(nullptr, nullptr, nullptr, pout->ulMode);
  if (pcopy == nullptr) return nullptr;
  bool boFailed = false;
  if (pout->pcharFileName != nullptr) {
    pcopy->pcharFileName = ocharClone(pout->pcharFileName);
    boFailed |= pcopy->pcharFileName == nullptr;
  }
  if (pout->pcharHost != nullptr) {
    pcopy->pcharHost = ocharClone(pout->pcharHost);
    boFailed |= pcopy->pcharHost == nullptr;
  }
  if (pout->pobfPart != nullptr) {
    pcopy->pobfPart = obfClone(pout->pobfPart);
    boFailed |= pcopy->pobfPart == nullptr;
  }
  if (boFailed) {
    udbOutFileDestroy(pcopy);
    return nullptr;
  }
  return pcopy;
}

void *udbOutFileCloneItem(olist *plist, void *pitem)
{
  (void)plist;
  if (pitem == nullptr) return udbOutFileCreate(nullptr, nullptr, nullptr, 0);
  return udbOutFileClone(static_cast<const udbOutFile *>(pitem));
}

void udbOutFileDestroy(udbOutFile *pout)
{
  if (pout == nullptr) return;
  if (pout->pcharFileName != nullptr) ocharDestroy(pout->pcharFileName);
  if (pout->pcharHost != nullptr) ocharDestroy(pout->pcharHost);
  if (pout->pobfPart != nullptr) obfDestroy(pout->pobfPart);
  free(pout);
}

void udbOutFileDestroyItem(olist *plist, void *pitem)
{
  (void)plist;
  udbOutFileDestroy(static_cast<udbOutFile *>(pitem));
}

udbLobPath *udbLobPathCreate(void)
{
  return static_cast<udbLobPath *>(calloc(1, sizeof(udbLobPath)));
}

void udbLobPathDestroy(udbLobPath *plob)
{
  if (plob == nullptr) return;
  if (plob->pcharPath != nullptr) ocharDestroy(plob->pcharPath);
  if (plob->pobfPart != nullptr) obfDestroy(plob->pobfPart);
  free(plob);
}
