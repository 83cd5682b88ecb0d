/*
** olds.cpp
**   Paged data objects: a file (types 2 to 4) or a growable memory image
**   (type 5) read and written through at most ulWindowLimit windows of
**   consecutive 4096-byte pages.  Windows sit in a table by window number and
**   in a chain from least to most recently used; the oldest is recycled when
**   the limit is reached, written back first when dirty.  Every write-back
**   checks its result: a window that could not be written stays dirty and
**   the caller gets OLDS_IO.  Messages go to the "$LDS" trace only.
*/
#include "common/olds.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "common/ochaine.h"
#include "common/omsgstab.h"

#define OMSGS_TRACE_KEYWORD "$LDS"
#define OMSGS_DEBUG_KEYWORD "$LDSD"
#include "common/omsgsmod.h"

const char *gpzcDefaultParamCreate = "";
const char *gpzcParamCreate = gpzcDefaultParamCreate;

static void *_ldsCloneWindow(ochaine *pchaine, void *pitem)
{
  (void)pchaine;
  (void)pitem;
  return nullptr;   /* windows are never copied */
}

static void _ldsDestroyWindow(ochaine *pchaine, void *pitem)
{
  (void)pchaine;
  oldsWindow *pwin = static_cast<oldsWindow *>(pitem);
  std::free(pwin->pBuffer);
  std::free(pwin);
}

static bool _ldsIsFile(const olds *plds)
{
  return plds->iType >= 2 && plds->iType <= 4;
}

/* Reads window ulIndex into pBuffer; bytes the file does not hold read as zeros. */
static int _ldsReadWindow(olds *plds, uint32_t ulIndex, unsigned char *pBuffer)
{
  size_t ulDone = 0;
  off_t lPos = static_cast<off_t>(ulIndex) * plds->ulWindowSize;
  while (ulDone < plds->ulWindowSize) {
    ssize_t l = pread(plds->iFd, pBuffer + ulDone, plds->ulWindowSize - ulDone,
                      lPos + static_cast<off_t>(ulDone));
    if (l < 0 && errno == EINTR) continue;
    if (l < 0) {
      omsgsTrace("olds: read of window %u failed: %s\n", ulIndex, std::strerror(errno));
      return OLDS_IO;
    }
    if (l == 0) break;
    ulDone += static_cast<size_t>(l);
  }
  if (ulDone < plds->ulWindowSize) std::memset(pBuffer + ulDone, 0, plds->ulWindowSize - ulDone);
  return 0;
}

/* Writes one whole window back.  Returns 0 or OLDS_IO (the window stays dirty). */
static int _ldsWriteWindow(olds *plds, oldsWindow *pwin)
{
  size_t ulDone = 0;
  off_t lPos = static_cast<off_t>(pwin->ulIndex) * plds->ulWindowSize;
  while (ulDone < plds->ulWindowSize) {
    ssize_t l = pwrite(plds->iFd, pwin->pBuffer + ulDone, plds->ulWindowSize - ulDone,
                       lPos + static_cast<off_t>(ulDone));
    if (l < 0 && errno == EINTR) continue;
    if (l <= 0) {
      omsgsTrace("olds: write-back of window %u failed: %s\n", pwin->ulIndex,
                 l < 0 ? std::strerror(errno) : "nothing written");
      return OLDS_IO;
    }
    ulDone += static_cast<size_t>(l);
  }
  pwin->iDirty = 0;
  return 0;
}

/*
** _ldsAllocWindow
**   Makes window ulIndex present: a new window while under the limit, else
**   the oldest one recycled.  Returns 0, OLDS_NOWIN or OLDS_IO (a dirty
**   window could not be written back; it stays in place).
*/
static int _ldsAllocWindow(olds *plds, uint32_t ulIndex, oldsWindow **ppwin)
{
  oldsWindow *pwin = nullptr;
  if (plds->ulWindowsAllocated < plds->ulWindowLimit) {
    pwin = static_cast<oldsWindow *>(std::calloc(1, sizeof(oldsWindow)));
    unsigned char *pBuffer = pwin ? static_cast<unsigned char *>(std::malloc(plds->ulWindowSize)) : nullptr;
    if (pBuffer == nullptr) {
      std::free(pwin);
      pwin = nullptr;
      omsgsTrace(LDS1001W, static_cast<int>(plds->ulWindowsAllocated));
      plds->ulWindowLimit = plds->ulWindowsAllocated;
    } else {
      pwin->pBuffer = pBuffer;
      plds->ulWindowsAllocated++;
    }
  }
  if (pwin == nullptr) {
    pwin = static_cast<oldsWindow *>(plds->pchaineWindows->pitemTop);
    if (pwin == nullptr) return OLDS_NOWIN;
    if (pwin->iDirty) {
      int rc = _ldsWriteWindow(plds, pwin);
      if (rc != 0) return rc;
    }
    ochaineRemoveItem(plds->pchaineWindows, pwin);
    plds->ppWindowTable[pwin->ulIndex] = nullptr;
  }
  if (_ldsReadWindow(plds, ulIndex, pwin->pBuffer) != 0) {
    std::free(pwin->pBuffer);
    std::free(pwin);
    plds->ulWindowsAllocated--;
    return OLDS_IO;
  }
  pwin->ulIndex = ulIndex;
  pwin->iDirty = 0;
  plds->ppWindowTable[ulIndex] = pwin;
  ochaineAppend(plds->pchaineWindows, pwin);
  *ppwin = pwin;
  return 0;
}

static uint32_t _ldsFillBelow(uint32_t ul)
{
  uint32_t ulMask = ul;
  for (int i = 1; i < 32; i <<= 1) ulMask |= ulMask >> i;
  return ulMask;
}

static olds *_ldsAllocObject(int iType, uint32_t ulWindowLimit, uint32_t ulPageMask)
{
  olds *plds = static_cast<olds *>(std::calloc(1, sizeof(olds)));
  if (plds == nullptr) {
    omsgsTrace(LDS0011E, 0);
    return nullptr;
  }
  uint32_t ulPages = 1;
  while (ulPages <= ulPageMask && ulPages < 0x10000u) ulPages <<= 1;
  uint32_t ulShift = 12;
  for (uint32_t ul = ulPages; ul > 1; ul >>= 1) ulShift++;
  plds->ulPagesPerWindow = ulPages;
  plds->ulWindowSize = ulPages * OLDS_PAGE_SIZE;
  plds->ulShift = ulShift;
  plds->ulOffsetMask = plds->ulWindowSize - 1;
  plds->ulWindowLimit = ulWindowLimit == 0 ? OLDS_DEFAULT_LIMIT : ulWindowLimit;
  plds->iType = iType;
  plds->iFd = -1;
  return plds;
}

olds *oldsOpen(const char *pcPath, int iType, uint32_t ulWindowLimit, uint32_t ulPageMask,
               uint32_t ulSizeLimit)
{
  if (iType < 2 || iType > 5) {
    omsgsTrace(LDS0012E, iType);
    return nullptr;
  }
  olds *plds = _ldsAllocObject(iType, ulWindowLimit, ulPageMask);
  if (plds == nullptr) return nullptr;
  if (iType == OLDS_TYPE_MEMORY) {
    plds->ulSizeLimit = ulSizeLimit;
    plds->pImage = static_cast<unsigned char *>(std::calloc(ulSizeLimit ? ulSizeLimit : 1, 1));
    if (plds->pImage == nullptr) {
      omsgsTrace(LDS0011E, 0);
      std::free(plds);
      return nullptr;
    }
    return plds;
  }
  plds->ulSizeLimit = ulSizeLimit == 0 ? 0xFFFFFFFFu : _ldsFillBelow(ulSizeLimit);
  plds->ulHighestWindow = plds->ulSizeLimit >> plds->ulShift;
  if (pcPath == nullptr) {
    omsgsTrace(LDS0010E, "(null)");
    std::free(plds);
    return nullptr;
  }
  plds->iFd = open(pcPath, O_RDWR | O_CLOEXEC, 0600);
  if (plds->iFd < 0) {
    plds->iFd = open(pcPath, O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (plds->iFd < 0) {
      omsgsTrace(LDS0010E, pcPath);
      std::free(plds);
      return nullptr;
    }
    plds->ulFlags |= OLDS_CREATED;
  }
  plds->ppWindowTable = static_cast<oldsWindow **>(
      std::calloc(static_cast<size_t>(plds->ulHighestWindow) + 1, sizeof(oldsWindow *)));
  plds->pchaineWindows = ochaineCreate(0, _ldsCloneWindow, _ldsDestroyWindow);
  if (plds->ppWindowTable == nullptr || plds->pchaineWindows == nullptr) {
    omsgsTrace(LDS0011E, 0);
    std::free(plds->ppWindowTable);
    ochaineDestroy(plds->pchaineWindows);
    close(plds->iFd);
    std::free(plds);
    return nullptr;
  }
  plds->pchaineWindows->pData = reinterpret_cast<uintptr_t>(plds);
  return plds;
}

olds *oldsCreateFromMem(void *pImage, uint32_t ulSize)
{
  olds *plds = _ldsAllocObject(OLDS_TYPE_MEMORY, 0, 63);
  if (plds == nullptr) return nullptr;
  plds->pImage = static_cast<unsigned char *>(pImage);
  plds->ulSizeLimit = ulSize;
  return plds;
}

/* Type 5: grows the image to hold ulEnd bytes (by half its size at least). */
static int _ldsGrowImage(olds *plds, uint64_t ullEnd)
{
  if (ullEnd <= plds->ulSizeLimit) return 0;
  uint64_t ullNew = static_cast<uint64_t>(plds->ulSizeLimit) + plds->ulSizeLimit / 2;
  if (ullNew < ullEnd) ullNew = ullEnd;
  if (ullNew > 0xFFFFFFFFull) ullNew = 0xFFFFFFFFull;
  if (ullNew < ullEnd) return OLDS_RANGE;
  unsigned char *p = static_cast<unsigned char *>(std::realloc(plds->pImage, static_cast<size_t>(ullNew)));
  if (p == nullptr) return OLDS_RANGE;
  std::memset(p + plds->ulSizeLimit, 0, static_cast<size_t>(ullNew - plds->ulSizeLimit));
  plds->pImage = p;
  plds->ulSizeLimit = static_cast<uint32_t>(ullNew);
  return 0;
}

/* Copies between the caller and the windows; iWrite selects the direction. */
static int _ldsTransfer(olds *plds, uint32_t ulOffset, uint32_t ulLength, unsigned char *pCaller,
                        int iWrite)
{
  if (plds == nullptr || (ulLength > 0 && pCaller == nullptr)) return OLDS_RANGE;
  if (plds->iType == OLDS_TYPE_MEMORY) {
    uint64_t ullEnd = static_cast<uint64_t>(ulOffset) + ulLength;
    if (plds->pImage == nullptr) return OLDS_RANGE;
    if (iWrite) {
      int rc = _ldsGrowImage(plds, ullEnd);
      if (rc != 0) return rc;
      std::memcpy(plds->pImage + ulOffset, pCaller, ulLength);
    } else {
      if (ullEnd > plds->ulSizeLimit) return OLDS_RANGE;
      std::memcpy(pCaller, plds->pImage + ulOffset, ulLength);
    }
    return 0;
  }
  if (!_ldsIsFile(plds)) {
    omsgsTrace(LDS0012E, plds->iType);
    return OLDS_RANGE;
  }
  uint32_t ulIndex = ulOffset >> plds->ulShift;
  uint32_t ulPos = ulOffset & plds->ulOffsetMask;
  uint32_t ulRemain = ulLength;
  while (ulRemain > 0) {
    if (ulIndex > plds->ulHighestWindow) return OLDS_RANGE;
    oldsWindow *pwin = plds->ppWindowTable[ulIndex];
    if (pwin == nullptr) {
      int rc = _ldsAllocWindow(plds, ulIndex, &pwin);
      if (rc != 0) {
        if (rc == OLDS_NOWIN) omsgsTrace(iWrite ? LDS0014E : LDS0013E, 0);
        return rc;
      }
    } else if (plds->pchaineWindows->pitemBottom != pwin) {
      ochaineRemoveItem(plds->pchaineWindows, pwin);
      ochaineAppend(plds->pchaineWindows, pwin);
    }
    uint32_t ulCopy = plds->ulWindowSize - ulPos;
    if (ulCopy > ulRemain) ulCopy = ulRemain;
    if (iWrite) {
      std::memcpy(pwin->pBuffer + ulPos, pCaller, ulCopy);
      pwin->iDirty = 1;
    } else {
      std::memcpy(pCaller, pwin->pBuffer + ulPos, ulCopy);
    }
    pCaller += ulCopy;
    ulRemain -= ulCopy;
    ulIndex++;
    ulPos = 0;
  }
  return 0;
}

int oldsRead(olds *plds, uint32_t ulOffset, uint32_t ulLength, void *pDest)
{
  return _ldsTransfer(plds, ulOffset, ulLength, static_cast<unsigned char *>(pDest), 0);
}

int oldsWrite(olds *plds, uint32_t ulOffset, uint32_t ulLength, const void *pSrc)
{
  return _ldsTransfer(plds, ulOffset, ulLength,
                      const_cast<unsigned char *>(static_cast<const unsigned char *>(pSrc)), 1);
}

int oldsFlush(olds *plds)
{
  if (plds == nullptr || !_ldsIsFile(plds)) return 0;
  int rcResult = 0;
  for (oldsWindow *pwin = static_cast<oldsWindow *>(plds->pchaineWindows->pitemTop); pwin != nullptr;
       pwin = pwin->pNext) {
    if (!pwin->iDirty) continue;
    int rc = _ldsWriteWindow(plds, pwin);
    if (rc != 0 && rcResult == 0) rcResult = rc;
  }
  return rcResult;
}

int oldsClose(olds *plds)
{
  if (plds == nullptr) return 0;
  int rc = 0;
  if (_ldsIsFile(plds)) {
    rc = oldsFlush(plds);
    ochaineDestroy(plds->pchaineWindows);
    std::free(plds->ppWindowTable);
    if (close(plds->iFd) != 0 && rc == 0) rc = OLDS_IO;
  } else if (plds->iType == OLDS_TYPE_MEMORY) {
    std::free(plds->pImage);
  }
  std::free(plds);
  return rc;
}

void *oldsDetachMemoryFile(olds *plds)
{
  if (plds == nullptr || plds->iType != OLDS_TYPE_MEMORY) return nullptr;
  void *pImage = plds->pImage;
  plds->pImage = nullptr;
  return pImage;
}

int oldsSetOpenParam(const char *pcParam)
{
  (void)pcParam;
  return 0;
}

int oldsResetOpenDefault(void)
{
  gpzcParamCreate = gpzcDefaultParamCreate;
  return 0;
}
