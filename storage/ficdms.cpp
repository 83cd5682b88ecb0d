/*
** ficdms.cpp
**   Page mapping of DMS table spaces (ficdms.h); the striping itself is
**   ficcontMapExtent.
*/
#include "storage/ficdms.h"

#include "storage/ficcont.h"

#include "common/olist.h"

#include <climits>

int32_t ficdmsIdentifyPage(const ficdmsConf *pconf, int32_t ilTableId, int32_t ilPage, int32_t *pilCont)
{
  (void)ilTableId;
  *pilCont = -1;
  if (pconf == nullptr || ilPage < 0 || pconf->ilExtentSize < 1) return -1;
  int32_t ilExtent = ilPage / pconf->ilExtentSize;
  int32_t ilOffset = ilPage % pconf->ilExtentSize;
  int32_t ilCont = -1, ilRow = -1;
  if (ficcontMapExtent(pconf->plistMapCb, pconf->ilContainers, ilExtent, &ilCont, &ilRow) != 0) return -1;
  /* the container's header comes before its first extent */
  int32_t ilHeader = -1, ilIndex = 0;
  if (pconf->plistCont != nullptr) {
    for (void *pitem = pconf->plistCont->pitemTop; pitem != nullptr;
         pitem = static_cast<olistItem *>(pitem)->pitemNext, ilIndex++) {
      if (ilIndex == ilCont) {
        ilHeader = static_cast<ficcontCont *>(pitem)->ilHeaderPages;
        break;
      }
    }
  }
  if (ilHeader < 0) return -1;
  int64_t ilResult = static_cast<int64_t>(ilHeader) + static_cast<int64_t>(ilRow) * pconf->ilExtentSize + ilOffset;
  if (ilResult > INT32_MAX) return -1;
  *pilCont = ilCont;
  return static_cast<int32_t>(ilResult);
}
