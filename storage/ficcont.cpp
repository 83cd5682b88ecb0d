/*
** ficcont.cpp
**   Reader of the table-space control file SQLSPCS.1 (on this host, or
**   through the daemon of another host) into ficcont partition records, the
**   records' copy, free and dump procedures, and the extent mapping shared
**   by the DMS and SMS container readers.  The layout is in ficcont.h.
*/
#define OMSGS_TRACE_KEYWORD "$FICCONT"
#define OMSGS_DEBUG_KEYWORD nullptr
#include "common/omsgsmod.h"

#include "storage/ficcont.h"

#include "common/obyte.h"
#include "common/ochar.h"
#include "common/ocnvft.h"
#include "common/olist.h"
#include "io/socket.h"
#include "model/tools.h"
#include "model/zormsgs.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

/* A new owned string of the bytes, NUL-terminated; NULL when memory runs out. */
ochar *_ficcontString(const void *pBytes, size_t ulLength, uint16_t usCCSID)
{
  ochar *pchar = ocharCreate(0, usCCSID);
  if (pchar == nullptr) return nullptr;
  if (ocharAppendFixedS(pchar, pBytes, static_cast<int32_t>(ulLength)) != 0 || ocharMakeC(pchar) != 0) {
    ocharDestroy(pchar);
    return nullptr;
  }
  return pchar;
}

std::string _ficcontText(const ochar *pchar)
{
  if (pchar == nullptr || pchar->pcData == nullptr) return std::string();
  return std::string(_charText(pchar), static_cast<size_t>(pchar->ilBU));
}

/* Code page of the names stored in the control file. */
uint16_t _ficcontDbCCSID(void)
{
  if (gpcnvft != nullptr && gpcnvft->usDbCCSID != 0) return gpcnvft->usDbCCSID;
  return 850;
}

/* A u32 of the record that must fit in an i32. */
bool _ficcontReadI32(const unsigned char *pucRecord, size_t ulOffset, int32_t *pil)
{
  uint32_t ul = 0;
  if (!obyteReadLE32(pucRecord + ulOffset, pucRecord + FICCONT_RECORD_SIZE, &ul) || ul > INT32_MAX) return false;
  *pil = static_cast<int32_t>(ul);
  return true;
}

/* Frees what the record owns and zeroes it, link word kept. */
void _ficcontClear(ficcont *pficcont)
{
  void *pitemNext = pficcont->pitemNext;
  ocharDestroy(pficcont->pcharHost);
  ocharDestroy(pficcont->pcharTbsName);
  olistDestroy(pficcont->plistMapCb);
  olistDestroy(pficcont->plistCont);
  std::memset(pficcont, 0, sizeof *pficcont);
  pficcont->pitemNext = pitemNext;
}

/* A blank record for NULL, as the list's item creation expects. */
void *_ficcontCloneItem(olist *, void *pitem)
{
  return pitem == nullptr ? ficcontCreate() : ficcontClone(static_cast<ficcont *>(pitem));
}

void _ficcontDestroyItem(olist *, void *pitem)
{
  ficcontDestroy(static_cast<ficcont *>(pitem));
}

/*
** Builds the map control block list: m entries of 44 + 4n bytes from 0x508.
** Returns 0, FICCONT_RC_DAMAGED (text in *pstrWhy) or ORC_NOMEM.
*/
int _ficcontBuildMapCb(const unsigned char *pucRecord, ficcont *pficcont, std::string *pstrWhy)
{
  const unsigned char *pucEnd = pucRecord + FICCONT_RECORD_SIZE;
  uint64_t ullEntry = FICCONT_MAPCB_SIZE(static_cast<uint64_t>(pficcont->ilContainers));
  uint64_t ullEnd = FICCONT_OFF_MAPCB + ullEntry * static_cast<uint64_t>(pficcont->ilMapCbEntries);
  if (ullEnd > FICCONT_RECORD_SIZE) {
    *pstrWhy = std::to_string(pficcont->ilMapCbEntries) + " map entries of " + std::to_string(ullEntry) +
               " bytes do not fit";
    return FICCONT_RC_DAMAGED;
  }
  pficcont->plistMapCb = olistCreate(0, _ficcontMapCbClone, _ficcontMapCbDestroy);
  if (pficcont->plistMapCb == nullptr) return ORC_NOMEM;
  pficcont->plistMapCb->procPrintItem = _ficcontPrintMapCb;
  for (int32_t k = 0; k < pficcont->ilMapCbEntries; k++) {
    const unsigned char *puc = pucRecord + FICCONT_OFF_MAPCB + ullEntry * static_cast<uint64_t>(k);
    uint32_t aul[4] = {0, 0, 0, 0}, ulCount = 0;
    for (int i = 0; i < 4; i++) obyteReadLE32(puc + 4 * i, pucEnd, &aul[i]);
    obyteReadLE32(puc + FICCONT_MAPCB_COUNT, pucEnd, &ulCount);
    if (ulCount > static_cast<uint32_t>(pficcont->ilContainers)) {
      *pstrWhy = "map entry " + std::to_string(k) + " names " + std::to_string(ulCount) + " containers of " +
                 std::to_string(pficcont->ilContainers);
      return FICCONT_RC_DAMAGED;
    }
    if (aul[0] > INT32_MAX || aul[1] > INT32_MAX || aul[2] > INT32_MAX || aul[3] > INT32_MAX ||
        static_cast<uint64_t>(aul[3]) + 1 < aul[2]) {
      *pstrWhy = "map entry " + std::to_string(k) + " has extents out of range";
      return FICCONT_RC_DAMAGED;
    }
    ficcontMapCb *pmap = static_cast<ficcontMapCb *>(std::calloc(1, sizeof(ficcontMapCb)));
    if (pmap == nullptr) return ORC_NOMEM;
    pmap->ilLastPage = static_cast<int32_t>(aul[0]);
    pmap->ilLastExtent = static_cast<int32_t>(aul[1]);
    pmap->ilFirstExtentRef = static_cast<int32_t>(aul[2]);
    pmap->ilLastExtentRef = static_cast<int32_t>(aul[3]);
    pmap->ilContainers = static_cast<int32_t>(ulCount);
    olistAppend(pficcont->plistMapCb, pmap);
    if (ulCount > 0) {
      pmap->pilContIds = static_cast<int32_t *>(std::calloc(ulCount, sizeof(int32_t)));
      if (pmap->pilContIds == nullptr) return ORC_NOMEM;
    }
    for (uint32_t i = 0; i < ulCount; i++) {
      uint32_t ulId = 0;
      obyteReadLE32(puc + FICCONT_MAPCB_IDS + 4 * i, pucEnd, &ulId);
      if (ulId >= static_cast<uint32_t>(pficcont->ilContainers)) {
        *pstrWhy = "map entry " + std::to_string(k) + " names container " + std::to_string(ulId) + " of " +
                   std::to_string(pficcont->ilContainers);
        return FICCONT_RC_DAMAGED;
      }
      pmap->pilContIds[i] = static_cast<int32_t>(ulId);
    }
  }
  return 0;
}

/*
** Builds the container list: n packed entries from 0x6000.
** Returns 0, FICCONT_RC_DAMAGED (text in *pstrWhy) or ORC_NOMEM.
*/
int _ficcontBuildContList(const unsigned char *pucRecord, ficcont *pficcont, const char *pcDbPath,
                          std::string *pstrWhy)
{
  const unsigned char *pucEnd = pucRecord + FICCONT_RECORD_SIZE;
  pficcont->plistCont = olistCreate(0, _ficcontContClone, _ficcontContDestroy);
  if (pficcont->plistCont == nullptr) return ORC_NOMEM;
  pficcont->plistCont->procPrintItem = _ficcontPrintContDef;
  const unsigned char *puc = pucRecord + FICCONT_OFF_CONTLIST;
  for (int32_t i = 0; i < pficcont->ilContainers; i++) {
    uint32_t ulFlags = 0;
    int32_t ilPages = 0, ilUsable = 0, ilPageSize = 0;
    if (pucEnd - puc < FICCONT_CONT_FIXED) {
      *pstrWhy = "container " + std::to_string(i) + " of " + std::to_string(pficcont->ilContainers) +
                 " lies past the record";
      return FICCONT_RC_DAMAGED;
    }
    size_t ulOffset = static_cast<size_t>(puc - pucRecord);
    obyteReadLE32(puc + FICCONT_CONT_FLAGS, pucEnd, &ulFlags);
    if (!_ficcontReadI32(pucRecord, ulOffset + FICCONT_CONT_PAGES, &ilPages) ||
        !_ficcontReadI32(pucRecord, ulOffset + FICCONT_CONT_USABLE, &ilUsable) ||
        !_ficcontReadI32(pucRecord, ulOffset + FICCONT_CONT_PAGESIZE, &ilPageSize)) {
      *pstrWhy = "container " + std::to_string(i) + " has sizes out of range";
      return FICCONT_RC_DAMAGED;
    }
    const unsigned char *pucPath = puc + FICCONT_CONT_PATH;
    const void *pNul = std::memchr(pucPath, 0, static_cast<size_t>(pucEnd - pucPath));
    if (pNul == nullptr) {
      *pstrWhy = "the path of container " + std::to_string(i) + " is not terminated";
      return FICCONT_RC_DAMAGED;
    }
    size_t ulPath = static_cast<size_t>(static_cast<const unsigned char *>(pNul) - pucPath);
    ficcontCont *pcont = static_cast<ficcontCont *>(std::calloc(1, sizeof(ficcontCont)));
    if (pcont == nullptr) return ORC_NOMEM;
    olistAppend(pficcont->plistCont, pcont);
    pcont->ilFlags = static_cast<int32_t>(ulFlags);
    pcont->ilHeaderPages = (ulFlags & FICCONT_CONT_HEADEREXTENT) ? pficcont->ilExtentSize : 1;
    pcont->ilPages = ilPages;
    pcont->ilUsablePages = ilUsable;
    pcont->ilPageSize = ilPageSize;
    std::string strPath(reinterpret_cast<const char *>(pucPath), ulPath);
    if (strPath.empty() || strPath[0] != '/') strPath = std::string(pcDbPath) + strPath;
    pcont->pcharPath = _ficcontString(strPath.data(), strPath.size(), 850);
    if (pcont->pcharPath == nullptr) return ORC_NOMEM;
    puc = pucPath + ulPath + 1;
  }
  return 0;
}

/* Shared body of the local and remote readers: decodes one record and keeps a match. */
int _ficcontTakeRecord(olist *plist, const unsigned char *pucRecord, const char *pcHost, const ochar *pcharTbsName,
                       const char *pcDbPath, int32_t ilPart, int32_t ilRemote)
{
  ficcont *pficcont = ficcontCreate();
  if (pficcont == nullptr) return ORC_NOMEM;
  int iFound = 0;
  int rc = ficcontGetTBSSegment(pucRecord, pcHost, pcharTbsName, pcDbPath, ilPart, pficcont, &iFound);
  if (rc == 0 && iFound) {
    pficcont->ilRemote = ilRemote;
    olistAppend(plist, pficcont);
    omsgsTrace("TBS lu %.*s\n", pficcont->pcharTbsName->ilBU, _charText(pficcont->pcharTbsName));
  } else {
    ficcontDestroy(pficcont);
    omsgsTrace("TBS non lu\n");
  }
  return rc;
}

/* Why a record was refused, for ZORU338E / ZORU339E. */
std::string _ficcontDamaged(const std::string &strPath, int64_t ilRecord, const std::string &strWhy)
{
  return "record " + std::to_string(ilRecord) + " of " + strPath + " is damaged: " + strWhy;
}

thread_local std::string gstrWhy;   /* detail of the last damaged record */

}  // namespace

ficcont *ficcontCreate(void)
{
  return static_cast<ficcont *>(std::calloc(1, sizeof(ficcont)));
}

olist *ficcontCreatePartList(void)
{
  olist *plist = olistCreate(0, _ficcontCloneItem, _ficcontDestroyItem);
  if (plist != nullptr) plist->procPrintItem = _ficcontPrintContList;
  return plist;
}

int ficcontGetTBSSegment(const unsigned char *pucRecord, const char *pcHost, const ochar *pcharTbsName,
                         const char *pcDbPath, int32_t ilPart, ficcont *pficcont, int *piFound)
{
  *piFound = 0;
  gstrWhy.clear();
  _ficcontClear(pficcont);
  const unsigned char *pucEnd = pucRecord + FICCONT_RECORD_SIZE;

  ochar *pcharSearched = ocharClone(pcharTbsName);
  if (pcharSearched == nullptr) return pcharTbsName == nullptr ? ORC_INVALID : ORC_NOMEM;
  ocharConvert(pcharSearched, 1208);
  omsgsTrace("TS recherche = %.*s (ccsid %d)\n", pcharSearched->ilBU, _charText(pcharSearched),
             pcharSearched->usCCSID);

  uint16_t usId = 0;
  uint32_t ulFlags = 0;
  obyteReadLE16(pucRecord + FICCONT_OFF_ID, pucEnd, &usId);
  obyteReadLE32(pucRecord + FICCONT_OFF_FLAGS, pucEnd, &ulFlags);
  int16_t sId = static_cast<int16_t>(usId);
  if (sId < 0) {
    ocharDestroy(pcharSearched);
    return 0;
  }
  /* the name ends at its NUL, at the latest where the flags begin */
  const unsigned char *pucName = pucRecord + FICCONT_OFF_NAME;
  size_t ulMax = FICCONT_OFF_FLAGS - FICCONT_OFF_NAME;
  const void *pNul = std::memchr(pucName, 0, ulMax);
  size_t ulName = pNul != nullptr ? static_cast<size_t>(static_cast<const unsigned char *>(pNul) - pucName) : ulMax;
  pficcont->pcharTbsName = _ficcontString(pucName, ulName, _ficcontDbCCSID());
  ochar *pcharName = pficcont->pcharTbsName != nullptr ? ocharClone(pficcont->pcharTbsName) : nullptr;
  if (pcharName == nullptr) {
    ocharDestroy(pcharSearched);
    _ficcontClear(pficcont);
    return ORC_NOMEM;
  }
  ocharConvert(pcharName, 1208);
  omsgsTrace("Noms TBS a comparer: %.*s (ccsid %d) et %.*s (ccsid %d)\n", pcharName->ilBU, _charText(pcharName),
             pcharName->usCCSID, pcharSearched->ilBU, _charText(pcharSearched), pcharSearched->usCCSID);
  int iCompare = ocharCompare(pcharName, pcharSearched, 32);
  ocharDestroy(pcharName);
  ocharDestroy(pcharSearched);
  if (iCompare != 0) return 0;

  pficcont->ilPart = ilPart;
  pficcont->sTbsId = sId;
  pficcont->ulFlags = ulFlags;
  pficcont->ilType = static_cast<int32_t>(ulFlags & 3);
  pficcont->pcharHost = _ficcontString(pcHost != nullptr ? pcHost : "", pcHost != nullptr ? std::strlen(pcHost) : 0,
                                       850);
  if (pficcont->pcharHost == nullptr) {
    _ficcontClear(pficcont);
    return ORC_NOMEM;
  }
  struct {
    size_t ulOffset;
    int32_t *pil;
    const char *pcName;
  } aFields[] = {
      {FICCONT_OFF_EXTENTSIZE, &pficcont->ilExtentSize, "extent size"},
      {FICCONT_OFF_PREFETCH, &pficcont->ilPrefetchSize, "prefetch size"},
      {FICCONT_OFF_PAGES, &pficcont->ilPages, "page count"},
      {FICCONT_OFF_USABLE, &pficcont->ilUsablePages, "usable page count"},
      {FICCONT_OFF_CONTAINERS, &pficcont->ilContainers, "container count"},
      {FICCONT_OFF_CONTLISTSIZE, &pficcont->ilContListSize, "container-list size"},
      {FICCONT_OFF_MAPCBCOUNT, &pficcont->ilMapCbEntries, "map entry count"},
      {FICCONT_OFF_PAGESIZE, &pficcont->ilPageSize, "page size"},
  };
  int rc = 0;
  for (auto &field : aFields) {
    if (!_ficcontReadI32(pucRecord, field.ulOffset, field.pil)) {
      gstrWhy = std::string(field.pcName) + " out of range";
      rc = FICCONT_RC_DAMAGED;
      break;
    }
  }
  if (rc == 0 && pficcont->ilType != FICCONT_TYPE_SMS && pficcont->ilType != FICCONT_TYPE_DMS) {
    gstrWhy = "type " + std::to_string(pficcont->ilType) + " is neither SMS nor DMS";
    rc = FICCONT_RC_DAMAGED;
  }
  if (rc == 0 && (pficcont->ilExtentSize < 1 || pficcont->ilPageSize < 1)) {
    gstrWhy = "extent size " + std::to_string(pficcont->ilExtentSize) + " or page size " +
              std::to_string(pficcont->ilPageSize) + " is zero";
    rc = FICCONT_RC_DAMAGED;
  }
  if (rc == 0 && pficcont->ilType == FICCONT_TYPE_DMS) rc = _ficcontBuildMapCb(pucRecord, pficcont, &gstrWhy);
  if (rc == 0 && pcDbPath != nullptr) rc = _ficcontBuildContList(pucRecord, pficcont, pcDbPath, &gstrWhy);
  if (rc != 0) {
    omsgsTrace("TBS %d refusee: %s\n", sId, gstrWhy.c_str());
    _ficcontClear(pficcont);
    return rc;
  }
  *piFound = 1;
  return 0;
}

int ficcontGetLocalPart(olist **pplist, const char *pcHost, const char *pcDatabase, const ochar *pcharTbsName,
                        const char *pcDbPath, int32_t ilPart)
{
  if (*pplist == nullptr) {
    *pplist = ficcontCreatePartList();
    if (*pplist == nullptr) return ORC_NOMEM;
  }
  std::string strPath = std::string(pcDbPath) + FICCONT_FILE_NAME;
  if (access(strPath.c_str(), F_OK) != 0) {
    int iErrno = errno;
    omsgsTrace("Pb acces fichier %s (%s)\n", strPath.c_str(), std::strerror(iErrno));
    if (iErrno == ENOENT) return FICCONT_RC_MISSING;
    omsgsFMTEDO(ZORU338E, pcDatabase, std::strerror(iErrno));
    return FICCONT_RC_ACCESS;
  }
  int iCode = 0;
  int fd = toolsOpenFile(strPath.c_str(), &iCode, 1);
  if (fd < 0) {
    /* the file is there but cannot be opened: its partition would go missing unnoticed */
    omsgsTrace("Pb ouverture fichier %s (%d)\n", strPath.c_str(), iCode);
    return FICCONT_RC_ACCESS;
  }
  struct stat st {};
  int64_t ilSize = fstat(fd, &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
  int64_t ilCount = ilSize / FICCONT_RECORD_SIZE;
  omsgsTrace("Nb tablespaces = %d\n", static_cast<int>(ilCount));
  unsigned char *pucRecord = static_cast<unsigned char *>(std::malloc(FICCONT_RECORD_SIZE));
  if (pucRecord == nullptr) {
    close(fd);
    return ORC_NOMEM;
  }
  int rc = 0;
  for (int64_t i = 0; i < ilCount && rc == 0; i++) {
    size_t ulRead = 0;
    while (ulRead < FICCONT_RECORD_SIZE) {
      ssize_t l = read(fd, pucRecord + ulRead, FICCONT_RECORD_SIZE - ulRead);
      if (l < 0 && errno == EINTR) continue;
      if (l <= 0) break;
      ulRead += static_cast<size_t>(l);
    }
    if (ulRead < FICCONT_RECORD_SIZE) {
      std::string strWhy = "record " + std::to_string(i) + " of " + strPath + " ends early";
      omsgsFMTEDO(ZORU338E, pcDatabase, strWhy.c_str());
      rc = FICCONT_RC_ACCESS;
      break;
    }
    rc = _ficcontTakeRecord(*pplist, pucRecord, pcHost, pcharTbsName, pcDbPath, ilPart, 0);
    if (rc == FICCONT_RC_DAMAGED) omsgsFMTEDO(ZORU338E, pcDatabase, _ficcontDamaged(strPath, i, gstrWhy).c_str());
  }
  std::free(pucRecord);
  close(fd);
  return rc;
}

int ficcontGetRemotePart(olist **pplist, const char *pcHost, const char *pcDatabase, const ochar *pcharTbsName,
                         const char *pcDbPath, int32_t ilPart, const char *pcUser)
{
  if (*pplist == nullptr) {
    *pplist = ficcontCreatePartList();
    if (*pplist == nullptr) return ORC_NOMEM;
  }
  std::string strPath = std::string(pcDbPath) + FICCONT_FILE_NAME;
  char *pcError = nullptr;
  int64_t ilSize = -1;
  int iSocket = iSOCKETopenFile(pcHost, pcUser, strPath.c_str(), &ilSize, &pcError);
  if (iSocket < 0) {
    omsgsFMTEDO(ZORU339E, pcDatabase, pcError != nullptr ? pcError : "");
    return FICCONT_RC_ACCESS;
  }
  int64_t ilCount = ilSize > 0 ? ilSize / FICCONT_RECORD_SIZE : 0;
  omsgsTrace("Nb tablespaces = %d\n", static_cast<int>(ilCount));
  unsigned char *pucRecord = static_cast<unsigned char *>(std::malloc(FICCONT_RECORD_SIZE));
  int rc = pucRecord == nullptr ? ORC_NOMEM : 0;
  for (int64_t i = 0; i < ilCount && rc == 0; i++) {
    if (iSOCKETreadFile(iSocket, -1, FICCONT_RECORD_SIZE, pucRecord, &pcError) != FICCONT_RECORD_SIZE) {
      omsgsFMTEDO(ZORU339E, pcDatabase, pcError != nullptr ? pcError : "");
      rc = FICCONT_RC_ACCESS;
      break;
    }
    rc = _ficcontTakeRecord(*pplist, pucRecord, pcHost, pcharTbsName, pcDbPath, ilPart, 1);
    if (rc == FICCONT_RC_DAMAGED) omsgsFMTEDO(ZORU339E, pcDatabase, _ficcontDamaged(strPath, i, gstrWhy).c_str());
  }
  std::free(pucRecord);
  if (iSOCKETcloseFile(iSocket, &pcError) != 0)
    omsgsTrace("Pb fermeture %s (%s)\n", strPath.c_str(), pcError != nullptr ? pcError : "");
  return rc;
}

ficcont *ficcontClone(ficcont *pficcont)
{
  if (pficcont == nullptr) return nullptr;
  ficcont *pcopy = ficcontCreate();
  if (pcopy == nullptr) return nullptr;
  *pcopy = *pficcont;
  pcopy->pitemNext = nullptr;
  pcopy->pcharHost = nullptr;
  pcopy->pcharTbsName = nullptr;
  pcopy->plistMapCb = nullptr;
  pcopy->plistCont = nullptr;
  bool boFailed = false;
  if (pficcont->pcharHost != nullptr) boFailed |= (pcopy->pcharHost = ocharClone(pficcont->pcharHost)) == nullptr;
  if (pficcont->pcharTbsName != nullptr)
    boFailed |= (pcopy->pcharTbsName = ocharClone(pficcont->pcharTbsName)) == nullptr;
  if (pficcont->plistMapCb != nullptr)
    boFailed |= (pcopy->plistMapCb = olistClone(pficcont->plistMapCb)) == nullptr;
  if (pficcont->plistCont != nullptr) boFailed |= (pcopy->plistCont = olistClone(pficcont->plistCont)) == nullptr;
  if (boFailed) {
    ficcontDestroy(pcopy);
    return nullptr;
  }
  /* olistClone does not carry the print callback over */
  if (pcopy->plistMapCb != nullptr) pcopy->plistMapCb->procPrintItem = _ficcontPrintMapCb;
  if (pcopy->plistCont != nullptr) pcopy->plistCont->procPrintItem = _ficcontPrintContDef;
  return pcopy;
}

void ficcontDestroy(ficcont *pficcont)
{
  if (pficcont == nullptr) return;
  _ficcontClear(pficcont);
  std::free(pficcont);
}

ficcontCont *ficcontGetCont(const ficcont *pficcont, int32_t ilIndex)
{
  if (pficcont == nullptr || pficcont->plistCont == nullptr || ilIndex < 0) return nullptr;
  void *pitem = pficcont->plistCont->pitemTop;
  for (int32_t i = 0; pitem != nullptr && i < ilIndex; i++) pitem = static_cast<olistItem *>(pitem)->pitemNext;
  return static_cast<ficcontCont *>(pitem);
}

int ficcontMapExtent(const olist *plistMapCb, int32_t ilContainers, int32_t ilExtent, int32_t *pilCont,
                     int32_t *pilRow)
{
  *pilCont = -1;
  *pilRow = -1;
  if (plistMapCb == nullptr || ilExtent < 0) return FICCONT_RC_NOMAP;
  int64_t ilBase = 0;
  const ficcontMapCb *pstripe = nullptr;
  for (void *pitem = plistMapCb->pitemTop; pitem != nullptr; pitem = static_cast<olistItem *>(pitem)->pitemNext) {
    const ficcontMapCb *pmap = static_cast<const ficcontMapCb *>(pitem);
    if (pmap->ilLastExtent >= ilExtent) {
      pstripe = pmap;
      break;
    }
    ilBase = static_cast<int64_t>(pmap->ilLastExtent) + 1;
  }
  if (pstripe == nullptr || pstripe->ilContainers < 1 || ilExtent < ilBase) return FICCONT_RC_NOMAP;
  int64_t ilInStripe = ilExtent - ilBase;
  int32_t ilCont = pstripe->pilContIds[ilInStripe % pstripe->ilContainers];
  if (ilCont < 0 || ilCont >= ilContainers) return FICCONT_RC_NOMAP;
  int64_t ilRow = ilInStripe / pstripe->ilContainers;
  /* extents that the earlier stripes put on the same container come first */
  for (void *pitem = plistMapCb->pitemTop; pitem != pstripe; pitem = static_cast<olistItem *>(pitem)->pitemNext) {
    const ficcontMapCb *pmap = static_cast<const ficcontMapCb *>(pitem);
    for (int32_t i = 0; i < pmap->ilContainers; i++) {
      if (pmap->pilContIds[i] == ilCont) {
        ilRow += static_cast<int64_t>(pmap->ilLastExtentRef) - pmap->ilFirstExtentRef + 1;
        break;
      }
    }
  }
  if (ilRow > INT32_MAX) return FICCONT_RC_NOMAP;
  *pilCont = ilCont;
  *pilRow = static_cast<int32_t>(ilRow);
  return 0;
}

int ficcontLogical2Physical(const ficcont *pficcont, int32_t ilFileId, int32_t ilExtent, int32_t *pilCont,
                            int32_t *pilExtentInCont)
{
  *pilCont = -1;
  *pilExtentInCont = -1;
  if (pficcont == nullptr || ilExtent < 0) return FICCONT_RC_NOMAP;
  if (pficcont->ilType == FICCONT_TYPE_DMS)
    return ficcontMapExtent(pficcont->plistMapCb, pficcont->ilContainers, ilExtent, pilCont, pilExtentInCont);
  if (pficcont->ilContainers < 1 || ilFileId < 0) return FICCONT_RC_NOMAP;
  *pilCont = static_cast<int32_t>((static_cast<int64_t>(ilExtent) + ilFileId) % pficcont->ilContainers);
  *pilExtentInCont = ilExtent / pficcont->ilContainers;
  return 0;
}

/* ------------------------------------------------------------ callbacks */

void *_ficcontMapCbClone(olist *, void *pitem)
{
  ficcontMapCb *pcopy = static_cast<ficcontMapCb *>(std::calloc(1, sizeof(ficcontMapCb)));
  if (pcopy == nullptr || pitem == nullptr) return pcopy;
  const ficcontMapCb *pmap = static_cast<const ficcontMapCb *>(pitem);
  *pcopy = *pmap;
  pcopy->pitemNext = nullptr;
  pcopy->pilContIds = nullptr;
  if (pmap->ilContainers > 0 && pmap->pilContIds != nullptr) {
    size_t ulBytes = static_cast<size_t>(pmap->ilContainers) * sizeof(int32_t);
    pcopy->pilContIds = static_cast<int32_t *>(std::malloc(ulBytes));
    if (pcopy->pilContIds == nullptr) {
      std::free(pcopy);
      return nullptr;
    }
    std::memcpy(pcopy->pilContIds, pmap->pilContIds, ulBytes);
  }
  return pcopy;
}

void _ficcontMapCbDestroy(olist *, void *pitem)
{
  if (pitem == nullptr) return;
  std::free(static_cast<ficcontMapCb *>(pitem)->pilContIds);
  std::free(pitem);
}

void *_ficcontContClone(olist *, void *pitem)
{
  ficcontCont *pcopy = static_cast<ficcontCont *>(std::calloc(1, sizeof(ficcontCont)));
  if (pcopy == nullptr || pitem == nullptr) return pcopy;
  const ficcontCont *pcont = static_cast<const ficcontCont *>(pitem);
  *pcopy = *pcont;
  pcopy->pitemNext = nullptr;
  pcopy->pcharPath = nullptr;
  if (pcont->pcharPath != nullptr && (pcopy->pcharPath = ocharClone(pcont->pcharPath)) == nullptr) {
    std::free(pcopy);
    return nullptr;
  }
  return pcopy;
}

void _ficcontContDestroy(olist *, void *pitem)
{
  if (pitem == nullptr) return;
  ocharDestroy(static_cast<ficcontCont *>(pitem)->pcharPath);
  std::free(pitem);
}

void _ficcontPrintContList(olist *, void *pitem, FILE *pfile, int)
{
  const ficcont *p = static_cast<const ficcont *>(pitem);
  if (p == nullptr || pfile == nullptr) return;
  std::string strHost = _ficcontText(p->pcharHost), strName = _ficcontText(p->pcharTbsName);
  std::fprintf(pfile, ">>>>>- PARTITION ----------------------------\n");
  std::fprintf(pfile, "NUMNODE               = %d\n", p->ilPart);
  std::fprintf(pfile, "HOSTNAME              = %s\n", strHost.c_str());
  std::fprintf(pfile, "TBSPACEID             = %d\n", p->sTbsId);
  std::fprintf(pfile, "TBSNAME               = %s\n", strName.c_str());
  std::fprintf(pfile, "TBS TYPE              = %ld\n", static_cast<long>(p->ilType));
  std::fprintf(pfile, "EXTENTSIZE            = %ld\n", static_cast<long>(p->ilExtentSize));
  std::fprintf(pfile, "PREFETCHSIZE          = %ld\n", static_cast<long>(p->ilPrefetchSize));
  std::fprintf(pfile, "NB PAGE IN TBS        = %ld\n", static_cast<long>(p->ilPages));
  std::fprintf(pfile, "NB PAGE USABLE IN TBS = %ld\n", static_cast<long>(p->ilUsablePages));
  std::fprintf(pfile, "NB CONT IN TBS        = %ld\n", static_cast<long>(p->ilContainers));
  std::fprintf(pfile, "CONT LIST SIZE        = %ld\n", static_cast<long>(p->ilContListSize));
  std::fprintf(pfile, "NB MAP CB ENTRY       = %ld\n", static_cast<long>(p->ilMapCbEntries));
  std::fprintf(pfile, "PAGESIZE              = %ld\n", static_cast<long>(p->ilPageSize));
  if (p->plistCont != nullptr)
    for (void *pc = p->plistCont->pitemTop; pc != nullptr; pc = static_cast<olistItem *>(pc)->pitemNext)
      _ficcontPrintContDef(p->plistCont, pc, pfile, 0);
  if (p->plistMapCb != nullptr) {
    for (void *pm = p->plistMapCb->pitemTop; pm != nullptr; pm = static_cast<olistItem *>(pm)->pitemNext)
      _ficcontPrintMapCb(p->plistMapCb, pm, pfile, 0);
  } else {
    std::fprintf(pfile, "PAS DE MAP CB POUR CETTE PARTITION\n");
  }
}

void _ficcontPrintContDef(olist *, void *pitem, FILE *pfile, int)
{
  const ficcontCont *p = static_cast<const ficcontCont *>(pitem);
  if (p == nullptr || pfile == nullptr) return;
  std::fprintf(pfile, ">>>>>- CONTAINERS ----------------------------\n");
  std::fprintf(pfile, "TYPE                  = %ld\n", static_cast<long>(p->ilFlags));
  std::fprintf(pfile, "NB PAGE HEADER        = %d\n", p->ilHeaderPages);
  std::fprintf(pfile, "NB PAGE IN TBS        = %ld\n", static_cast<long>(p->ilPages));
  std::fprintf(pfile, "NB PAGE USABLE IN TBS = %ld\n", static_cast<long>(p->ilUsablePages));
  std::fprintf(pfile, "PAGESIZE              = %ld\n", static_cast<long>(p->ilPageSize));
  std::fprintf(pfile, "CONTAINER PATH        = %s\n", _ficcontText(p->pcharPath).c_str());
}

void _ficcontPrintMapCb(olist *, void *pitem, FILE *pfile, int)
{
  const ficcontMapCb *p = static_cast<const ficcontMapCb *>(pitem);
  if (p == nullptr || pfile == nullptr) return;
  std::fprintf(pfile, ">>>>>- MAP CB ----------------------------\n");
  std::fprintf(pfile, "LAST PAGE IN STRIPE      = %ld\n", static_cast<long>(p->ilLastPage));
  std::fprintf(pfile, "LAST EXTENT IN STRIPE    = %ld\n", static_cast<long>(p->ilLastExtent));
  std::fprintf(pfile, "FIRST EXTENT ON REF CONT = %ld\n", static_cast<long>(p->ilFirstExtentRef));
  std::fprintf(pfile, "LAST EXTENT ON REF CONT  = %ld\n", static_cast<long>(p->ilLastExtentRef));
  std::fprintf(pfile, "NB CONT IN STRIPE        = %ld\n", static_cast<long>(p->ilContainers));
  for (int32_t i = 0; i < p->ilContainers && p->pilContIds != nullptr; i++)
    std::fprintf(pfile, "\tCONT ID FOR THIS STRIPE = %ld\n", static_cast<long>(p->pilContIds[i]));
}
