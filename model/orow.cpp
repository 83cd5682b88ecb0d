/*
** orow.cpp
**   Row descriptors: creation, column definitions, buffers, clone and
**   destroy.  See model/orow.h for the layout of a row and its columns.
*/
#include "model/orow.h"

#include <cstdlib>
#include <cstring>

#include "common/oreason.h"

const rowColDef growColDefNull = {0, 0, 0, 0, 0, 0, nullptr, nullptr, 0};

static bool _rowColDefIsNull(const rowColDef *pcoldef)
{
  return pcoldef->iType == 0 && pcoldef->iLength == 0 && pcoldef->usFlags == 0 &&
         pcoldef->usCCSID == 0 && pcoldef->sOffset == 0 && pcoldef->sNullOffset == 0 &&
         pcoldef->pcData == nullptr && pcoldef->pExtra == nullptr && pcoldef->iSpare == 0;
}

orow *orowCreate(int32_t iCapacity)
{
  if (iCapacity < 0) return nullptr;
  orow *prow = static_cast<orow *>(std::calloc(1, sizeof(orow)));
  if (prow == nullptr) return nullptr;
  prow->pcoldef = static_cast<rowColDef *>(
      std::calloc(iCapacity > 0 ? static_cast<size_t>(iCapacity) : 1, sizeof(rowColDef)));
  if (prow->pcoldef == nullptr) {
    std::free(prow);
    return nullptr;
  }
  prow->ulFlags = OROW_OWNED;
  prow->iCapacity = iCapacity;
  return prow;
}

int orowAddColumn(orow *prow, const rowColDef *pcoldef)
{
  if (prow == nullptr || pcoldef == nullptr) return ORC_INVALID;
  if (prow->iCount >= prow->iCapacity) return OROW_RC_FULL;
  rowColDef *pentry = &prow->pcoldef[prow->iCount++];
  *pentry = *pcoldef;
  pentry->pcData = nullptr;
  pentry->usFlags &= static_cast<uint16_t>(~1u);
  return 0;
}

orow *orowCreateFromDef(const rowColDef *pcoldef, int32_t iCount)
{
  if (pcoldef == nullptr || iCount < 0) return nullptr;
  if (iCount == 0)
    while (!_rowColDefIsNull(&pcoldef[iCount])) iCount++;
  orow *prow = orowCreate(iCount);
  if (prow == nullptr) return nullptr;
  for (int32_t i = 0; i < iCount; i++) orowAddColumn(prow, &pcoldef[i]);
  return prow;
}

/* orowSetBuffer for a row that owns, or is to own, a buffer. */
[[gnu::noinline]] static int _rowSetOwnedBuffer(orow *prow, const void *pData, int32_t ilLength, uint32_t ulMode)
{
  if ((prow->ulFlags & OROW_OWNED) && prow->pcStart != nullptr) std::free(prow->pcStart);
  prow->pcStart = nullptr;
  prow->pcEnd = nullptr;
  prow->pcCursor = nullptr;
  prow->iCurrent = 0;
  if (ulMode & OROW_OWNED) {
    char *pcCopy = static_cast<char *>(std::calloc(ilLength > 0 ? static_cast<size_t>(ilLength) : 1, 1));
    prow->ulFlags |= OROW_OWNED;
    if (pcCopy == nullptr) return 1;
    if (ilLength > 0 && pData != nullptr) std::memcpy(pcCopy, pData, static_cast<size_t>(ilLength));
    prow->pcStart = pcCopy;
  } else {
    prow->ulFlags &= ~OROW_OWNED;
    prow->pcStart = static_cast<char *>(const_cast<void *>(pData));
  }
  prow->pcEnd = prow->pcStart != nullptr ? prow->pcStart + ilLength : nullptr;
  prow->pcCursor = prow->pcStart;
  if (prow->iCapacity > 0) prow->pcoldef[0].pcData = prow->pcStart;
  return 0;
}

int orowSetBuffer(orow *prow, const void *pData, int32_t ilLength, uint32_t ulMode)
{
  if (prow == nullptr) return ORC_INVALID;
  if (ilLength < 0) ilLength = 0;
  if ((ulMode & OROW_OWNED) || ((prow->ulFlags & OROW_OWNED) && prow->pcStart != nullptr))
    return _rowSetOwnedBuffer(prow, pData, ilLength, ulMode);
  /* a buffer referred to, in place of none or of another referred one: once per row converted */
  char *pcStart = static_cast<char *>(const_cast<void *>(pData));
  prow->ulFlags &= ~OROW_OWNED;
  prow->pcStart = pcStart;
  prow->pcEnd = pcStart != nullptr ? pcStart + ilLength : nullptr;
  prow->pcCursor = pcStart;
  prow->iCurrent = 0;
  if (prow->iCapacity > 0) prow->pcoldef[0].pcData = pcStart;
  return 0;
}

void orowResetBuffer(orow *prow, uint32_t ulMode)
{
  if (prow == nullptr) return;
  prow->pcCursor = prow->pcStart;
  prow->iCurrent = 0;
  if ((ulMode & 0x1u) && prow->pcStart != nullptr && prow->pcEnd > prow->pcStart)
    std::memset(prow->pcStart, 0, static_cast<size_t>(prow->pcEnd - prow->pcStart));
}

orow *orowClone(const orow *prow)
{
  if (prow == nullptr) return nullptr;
  orow *pcopy = orowCreate(prow->iCapacity);
  if (pcopy == nullptr) return nullptr;
  rowColDef *pcoldef = pcopy->pcoldef;
  *pcopy = *prow;
  pcopy->pcoldef = pcoldef;
  if (prow->iCapacity > 0)
    std::memcpy(pcoldef, prow->pcoldef, static_cast<size_t>(prow->iCapacity) * sizeof(rowColDef));
  if ((prow->ulFlags & OROW_OWNED) && prow->pcStart != nullptr) {
    size_t ulSize = static_cast<size_t>(prow->pcEnd - prow->pcStart);
    char *pcBuffer = static_cast<char *>(std::malloc(ulSize > 0 ? ulSize : 1));
    if (pcBuffer == nullptr) {
      pcopy->pcStart = nullptr;
      orowDestroy(pcopy);
      return nullptr;
    }
    std::memcpy(pcBuffer, prow->pcStart, ulSize);
    /* Every pointer into the old buffer moves to the same place in the new one. */
    auto rebase = [&](char *pc) -> char * {
      if (pc >= prow->pcStart && pc <= prow->pcEnd) return pcBuffer + (pc - prow->pcStart);
      return pc;
    };
    pcopy->pcStart = pcBuffer;
    pcopy->pcEnd = pcBuffer + ulSize;
    pcopy->pcCursor = rebase(prow->pcCursor);
    for (int32_t i = 0; i < prow->iCapacity; i++) pcoldef[i].pcData = rebase(pcoldef[i].pcData);
  }
  return pcopy;
}

void orowDestroy(orow *prow)
{
  if (prow == nullptr) return;
  if ((prow->ulFlags & OROW_OWNED) && prow->pcStart != nullptr) std::free(prow->pcStart);
  std::free(prow->pcoldef);
  std::free(prow);
}
