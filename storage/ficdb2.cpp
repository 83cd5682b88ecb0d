/*
** ficdb2.cpp
**   Torn-page bit restoration and the container access test (see ficdb2.h).
*/
#include "storage/ficdb2.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "common/obyte.h"
#include "common/oreason.h"
#include "storage/ficdata.h"

#define OMSGS_TRACE_KEYWORD "$FICDB2"
#define OMSGS_DEBUG_KEYWORD nullptr
#include "common/omsgsmod.h"

int ficdb2RestaureBits(unsigned char *pcPage, int32_t ilPageSize, unsigned char *pcSaved)
{
  if (pcPage == nullptr || pcSaved == nullptr || !ficdataIsPageSize(ilPageSize)) return ORC_INVALID;
  const int32_t ilSectors = ilPageSize / FICDATA_SECTOR;
  const int32_t ilLast = ilSectors - 1;
  const int32_t ilBit = ilLast % 32;
  uint32_t ulWord0 = obyteGetLE32(pcSaved);
  ulWord0 = (ulWord0 & ~(1u << ilBit)) | (static_cast<uint32_t>(pcPage[0] & 1) << ilBit);
  obytePutLE32(pcSaved, ulWord0);
  for (int32_t w = 0; w <= ilLast / 32; w++) {
    uint32_t ulWord = obyteGetLE32(pcSaved + 4 * w);
    for (int32_t k = 0; k <= ilBit; k++) {
      unsigned char *pc = pcPage + static_cast<size_t>(32 * w + ilBit - k) * FICDATA_SECTOR;
      *pc = static_cast<unsigned char>((*pc & ~1u) | ((ulWord >> k) & 1u));
    }
  }
  return 0;
}

int ficdb2ControlFileAccess(const char *pcPath)
{
  if (pcPath == nullptr) return -1;
  uid_t uidReal = getuid(), uidEffective = geteuid();
  bool boSwapped = uidReal != uidEffective && setreuid(uidEffective, uidReal) == 0;
  int iFd = open(pcPath, O_RDONLY | O_NONBLOCK);
  int iErrno = errno;
  if (iFd >= 0) close(iFd);
  if (boSwapped && setreuid(uidReal, uidEffective) != 0)
    omsgsTrace("Access test of %s: ids could not be exchanged back", pcPath);
  if (iFd >= 0) return 0;
  omsgsTrace("Access test of %s: errno %d", pcPath, iErrno);
  return iErrno == EACCES ? -2 : -1;
}
