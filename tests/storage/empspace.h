/*
** empspace.h
**   An in-memory DMS table space for the extent-map tests: pages by
**   table-space page number (absent pages read as zeros), written with the
**   page writers of tools/db2emp.h, served to a table-space object through a
**   read-absolute slot that counts reads, records their flags and fails the
**   pages a test names.  Header only.
*/
#ifndef ZAV_TESTS_STORAGE_EMPSPACE_H
#define ZAV_TESTS_STORAGE_EMPSPACE_H

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <vector>

#include "storage/ficdb2.h"
#include "storage/zortsemp.h"
#include "tools/db2emp.h"

struct empSpace {
  uint32_t ulPageSize = 4096;
  uint32_t ulExtent = 4;
  std::map<uint32_t, std::vector<unsigned char>> mapPages;

  unsigned char *page(uint32_t ulPage)
  {
    auto &v = mapPages[ulPage];
    if (v.empty()) v.assign(ulPageSize, 0);
    return v.data();
  }
  void emp(uint32_t ulPage, const std::vector<uint32_t> &vEntries, uint32_t ulLevel = 0)
  {
    db2empWriteEMP(page(ulPage), ulPageSize, ulLevel, vEntries);
  }
  /* an EMP extent of X pages at ulPage, each page with its entries (missing pages empty) */
  void empExtent(uint32_t ulPage, const std::vector<std::vector<uint32_t>> &vPages, uint32_t ulLevel = 0)
  {
    for (uint32_t p = 0; p < ulExtent; p++)
      emp(ulPage + p, p < vPages.size() ? vPages[p] : std::vector<uint32_t>{}, ulLevel);
  }
};

/* A table-space object over an empSpace. */
struct empTs {
  zorts ts{};
  empSpace *psp = nullptr;
  std::set<uint32_t> setFail;     /* pages whose read fails */
  int iReads = 0;                 /* read-absolute calls */
  int iBadFlags = 0;              /* reads without torn-page restoration */

  static unsigned char *readAbs(zorts *pzorts, uint32_t ulPage, unsigned char *pBuffer, int32_t ilCount,
                                int32_t ilFlags, int *piCode)
  {
    empTs *p = registry()[pzorts];
    p->iReads++;
    if (!(ilFlags & ZORTS_READ_RESTORE)) p->iBadFlags++;
    for (int32_t i = 0; i < ilCount; i++) {
      if (p->setFail.count(ulPage + i)) {
        *piCode = ZORTS_RC_READ;
        return nullptr;
      }
    }
    uint32_t ulSize = p->psp->ulPageSize;
    /* a count below one reads nothing (and does not wrap round into a huge size) */
    size_t ulCount = static_cast<size_t>(std::max<int32_t>(ilCount, 0));
    if (pBuffer == nullptr) pBuffer = static_cast<unsigned char *>(malloc(static_cast<size_t>(ulSize) * ulCount));
    for (int32_t i = 0; i < ilCount; i++) {
      unsigned char *pDst = pBuffer + static_cast<size_t>(i) * ulSize;
      auto it = p->psp->mapPages.find(ulPage + i);
      if (it == p->psp->mapPages.end())
        memset(pDst, 0, ulSize);
      else
        memcpy(pDst, it->second.data(), ulSize);
      if (ilFlags & ZORTS_READ_RESTORE) ficdb2RestaureBits(pDst, static_cast<int32_t>(ulSize), pDst + 36);
    }
    *piCode = 0;
    return pBuffer;
  }

  static std::map<zorts *, empTs *> &registry()
  {
    static std::map<zorts *, empTs *> map;
    return map;
  }

  explicit empTs(empSpace *p, uint32_t ulTbsFlags = 0) : psp(p)
  {
    registry()[&ts] = this;
    ts.pfnReadAbs = readAbs;
    ts.iType = ZORTS_TYPE_DMS;
    ts.ilExtentSize = static_cast<int32_t>(p->ulExtent);
    ts.ilPageSize = static_cast<int32_t>(p->ulPageSize);
    ts.ulTbsFlags = ulTbsFlags;
  }
  ~empTs() { registry().erase(&ts); }
  empTs(const empTs &) = delete;
  empTs &operator=(const empTs &) = delete;
};

#endif
