/*
** ficsms.cpp
**   Page mapping of SMS table spaces (ficsms.h).
*/
#include "storage/ficsms.h"

int32_t ficsmsIdentifyPage(const ficsmsConf *pconf, int32_t ilFileId, int32_t ilPage, int32_t *pilCont)
{
  *pilCont = -1;
  if (pconf == nullptr || ilPage < 0 || ilFileId < 0 || pconf->ilExtentSize < 1 || pconf->ilContainers < 1)
    return -1;
  int32_t ilExtent = ilPage / pconf->ilExtentSize;
  *pilCont = static_cast<int32_t>((static_cast<int64_t>(ilFileId) + ilExtent) % pconf->ilContainers);
  return (ilExtent / pconf->ilContainers) * pconf->ilExtentSize + ilPage % pconf->ilExtentSize;
}
