/*
** zorbk.cpp
**   Backup image reader (see zorbk.h for the image layout): the scan of an
**   image into its object index, the table-space list and definitions, the
**   page sources that serve a table's data, long-field and LOB objects to a
**   table-space object, and the backup file entries of a BACKUP clause with
**   the decomposition of their names.
**
**   Every read is a positioned read (pread) on the image's descriptor, so
**   processes that inherit one backup object do not move each other's file
**   offset.  Every count, size and position taken from the image is checked
**   against the image size or the buffer before it is followed: an image
**   that ends early gives ZORBK_RC_TRUNCATED, impossible header values
**   ZORBK_RC_DAMAGED.
*/
#include "storage/zorbk.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/obyte.h"
#include "common/ochaine.h"
#include "common/ochar.h"
#include "common/ocnvft.h"
#include "common/oreason.h"
#include "model/tools.h"
#include "storage/ficcont.h"
#include "storage/ficdb2.h"
#include "storage/zorts.h"

#define OMSGS_TRACE_KEYWORD nullptr
#define OMSGS_DEBUG_KEYWORD "$ZORBCKD"
#include "common/omsgsmod.h"

/* Media header offsets. */
#define ZORBK_MH_EYE        0
#define ZORBK_MH_RELEASE    0x3C
#define ZORBK_MH_CODESET    0x96
#define ZORBK_MH_BUFSIZE    0x1D4
#define ZORBK_MH_BUFSIZE901 0x1F0
#define ZORBK_MH_BUFSIZE900 0x1F8
#define ZORBK_RELEASE_ALT   0x901

/* Object header offsets. */
#define ZORBK_OH_EYE        0
#define ZORBK_OH_DATASIZE   0x14
#define ZORBK_OH_WORD       0x18
#define ZORBK_OH_OBJID      0x1C
#define ZORBK_OH_TYPE       0x1E
#define ZORBK_OH_FIRSTPAGE  0x128
#define ZORBK_OH_TBSID      0x12C

/* Table-space list entry and table-space definition offsets. */
#define ZORBK_LOT_TYPE      24
/* A definition is a table-space record of the control file (storage/ficcont.h). */
#define ZORBK_DEF_MINSIZE   (FICCONT_OFF_PAGESIZE + 4)

/* Offset of the saved torn-page words in a data page. */
#define ZORBK_PAGE_TORN     36

/* Largest extent size accepted from a definition. */
#define ZORBK_MAX_EXTENT    4096

static const char gacMediaEye[] = "SQLUBRMEDHEAD";
static const char gacObjectEye[] = "SQLUBROBJHEAD";
#define ZORBK_EYE_LENGTH 13

/* ------------------------------------------------------------ image reads */

/*
** Reads ilLength bytes at llPosition of the image.  Returns 0,
** ZORBK_RC_TRUNCATED when the image ends first, ZORTS_RC_READ when the
** read fails.
*/
static int _zorbkReadAt(zorbk *pzorbk, int64_t llPosition, void *pBuffer, int64_t llLength)
{
  unsigned char *puc = static_cast<unsigned char *>(pBuffer);
  int64_t llDone = 0;
  while (llDone < llLength) {
    ssize_t l = pread(pzorbk->iFd, puc + llDone, static_cast<size_t>(llLength - llDone),
                      static_cast<off_t>(llPosition + llDone));
    if (l < 0 && errno == EINTR) continue;
    if (l < 0) {
      omsgsTraceTo(gpzcFileDebug, "read of %lld bytes at %lld failed (errno %d)\n",
                   static_cast<long long>(llLength), static_cast<long long>(llPosition), errno);
      return ZORTS_RC_READ;
    }
    if (l == 0) {
      omsgsTraceTo(gpzcFileDebug, "image ends at %lld, %lld bytes wanted at %lld\n",
                   static_cast<long long>(llPosition + llDone), static_cast<long long>(llLength),
                   static_cast<long long>(llPosition));
      return ZORBK_RC_TRUNCATED;
    }
    llDone += l;
  }
  pzorbk->llPosition = llPosition + llLength;
  return 0;
}

/* Restores the torn-page bits of ilCount pages of ilPageSize bytes. */
static void _zorbkRestorePages(unsigned char *puc, int64_t llCount, int32_t ilPageSize)
{
  for (int64_t i = 0; i < llCount; i++) {
    unsigned char *pucPage = puc + i * ilPageSize;
    ficdb2RestaureBits(pucPage, ilPageSize, pucPage + ZORBK_PAGE_TORN);
  }
}

/* ---------------------------------------------------------- backup object */

static void _zorbkFree(zorbk *pzorbk)
{
  if (pzorbk == nullptr) return;
  if (pzorbk->iFd >= 0) close(pzorbk->iFd);
  ocharDestroy(pzorbk->pcharFileName);
  ocharDestroy(pzorbk->pcharAlias);
  std::free(pzorbk->pucMediaHeader);
  std::free(pzorbk->pindex);
  std::free(pzorbk->pucLOT);
  ochaineDestroy(pzorbk->pchaineTbsDef);
  std::free(pzorbk);
}

/* A zero-terminated owned copy of a string object's text (CCSID kept). */
static ochar *_zorbkCopyTerminated(const ochar *pchar)
{
  int32_t ilLength = pchar->pcData != nullptr ? pchar->ilBU : 0;
  ochar *pcopy = ocharCreate(ilLength + 1, pchar->usCCSID);
  if (pcopy == nullptr) return nullptr;
  if (ilLength > 0) std::memcpy(pcopy->pcData, _charText(pchar), static_cast<size_t>(ilLength));
  pcopy->pcData[ilLength] = '\0';
  pcopy->ilBU = ilLength;
  pcopy->ilL = ilLength;
  return pcopy;
}

int _zorbkBuildLOT(zorbk *pzorbk, const unsigned char *pucData, int32_t ilSize)
{
  if (ilSize < 0) return ZORBK_RC_DAMAGED;
  unsigned char *pucCopy = static_cast<unsigned char *>(std::malloc(ilSize > 0 ? ilSize : 1));
  if (pucCopy == nullptr) return ZORBK_RC_NOMEM;
  if (ilSize > 0) std::memcpy(pucCopy, pucData, static_cast<size_t>(ilSize));
  std::free(pzorbk->pucLOT);
  pzorbk->pucLOT = pucCopy;
  pzorbk->ilLOTSize = ilSize;
  static const char acCatalog[12] = "SYSCATSPACE";  /* the name and its zero byte */
  const unsigned char *pucEnd = pucCopy + ilSize;
  for (const unsigned char *puc = pucCopy; pucEnd - puc >= ZORBK_LOT_ENTRY_SIZE;
       puc += ZORBK_LOT_ENTRY_SIZE) {
    if (std::memcmp(puc, acCatalog, sizeof acCatalog) == 0) {
      pzorbk->ilCatalogTbsType = static_cast<int32_t>(obyteGetLE32(puc + ZORBK_LOT_TYPE));
      break;
    }
  }
  return 0;
}

int _zorbkBuildPOOL_CB(zorbk *pzorbk, const unsigned char *pucData, int32_t ilSize)
{
  if (ilSize < ZORBK_DEF_MINSIZE) {
    omsgsTraceTo(gpzcFileDebug, "table-space definition of %d bytes, %d needed\n", ilSize,
                 ZORBK_DEF_MINSIZE);
    return ZORBK_RC_DAMAGED;
  }
  if (pzorbk->pchaineTbsDef == nullptr) {
    pzorbk->pchaineTbsDef = ochaineCreate(sizeof(zorbkTbsDef), nullptr, nullptr);
    if (pzorbk->pchaineTbsDef == nullptr) return ZORBK_RC_NOMEM;
  }
  zorbkTbsDef *pdef = static_cast<zorbkTbsDef *>(ochaineCreateItem(pzorbk->pchaineTbsDef, nullptr));
  if (pdef == nullptr) return ZORBK_RC_NOMEM;
  pdef->isTbsId = static_cast<int16_t>(obyteGetLE16(pucData + FICCONT_OFF_ID));
  pdef->ulFlags = obyteGetLE32(pucData + FICCONT_OFF_FLAGS);
  pdef->ilExtentSize = static_cast<int32_t>(obyteGetLE32(pucData + FICCONT_OFF_EXTENTSIZE));
  pdef->ilPages = static_cast<int32_t>(obyteGetLE32(pucData + FICCONT_OFF_PAGES));
  pdef->ilContainers = static_cast<int32_t>(obyteGetLE32(pucData + FICCONT_OFF_CONTAINERS));
  pdef->ilContListSize = static_cast<int32_t>(obyteGetLE32(pucData + FICCONT_OFF_CONTLISTSIZE));
  pdef->ilMapCbEntries = static_cast<int32_t>(obyteGetLE32(pucData + FICCONT_OFF_MAPCBCOUNT));
  pdef->ilPageSize = static_cast<int32_t>(obyteGetLE32(pucData + FICCONT_OFF_PAGESIZE));
  ochaineAppend(pzorbk->pchaineTbsDef, pdef);
  return 0;
}

/* Appends one entry to the index, growing it by ZORBK_INDEX_STEP entries. */
static int _zorbkAppendEntry(zorbk *pzorbk, const zorbkIndexEntry &entry)
{
  if (pzorbk->ilIndexCount >= pzorbk->ilIndexCapacity) {
    int32_t ilCapacity = pzorbk->ilIndexCapacity + ZORBK_INDEX_STEP;
    void *p = std::realloc(pzorbk->pindex, sizeof(zorbkIndexEntry) * static_cast<size_t>(ilCapacity));
    if (p == nullptr) return ZORBK_RC_NOMEM;
    pzorbk->pindex = static_cast<zorbkIndexEntry *>(p);
    pzorbk->ilIndexCapacity = ilCapacity;
  }
  pzorbk->pindex[pzorbk->ilIndexCount++] = entry;
  return 0;
}

/* Reads the media header and takes its buffer size and code set. */
static int _zorbkReadMediaHeader(zorbk *pzorbk)
{
  pzorbk->pucMediaHeader = static_cast<unsigned char *>(std::malloc(ZORBK_MEDIA_SIZE));
  if (pzorbk->pucMediaHeader == nullptr) return ZORBK_RC_NOMEM;
  const unsigned char *puc = pzorbk->pucMediaHeader;
  int rc = _zorbkReadAt(pzorbk, 0, pzorbk->pucMediaHeader, ZORBK_MEDIA_SIZE);
  if (rc != 0) return rc;
  if (std::memcmp(puc + ZORBK_MH_EYE, gacMediaEye, ZORBK_EYE_LENGTH) != 0) {
    omsgsTraceTo(gpzcFileDebug, "no media header in %s\n", pzorbk->pcharFileName->pcData);
    return ZORBK_RC_DAMAGED;
  }
  uint16_t usRelease = obyteGetLE16(puc + ZORBK_MH_RELEASE);
  uint32_t ulBufferSize = obyteGetLE32(puc + ZORBK_MH_BUFSIZE);
  if (ulBufferSize == 0)
    ulBufferSize = obyteGetLE32(puc + (usRelease >= ZORBK_RELEASE_ALT ? ZORBK_MH_BUFSIZE901
                                                                       : ZORBK_MH_BUFSIZE900));
  if (ulBufferSize == 0 || ulBufferSize > 0x7FFFFFFFu) {
    omsgsTraceTo(gpzcFileDebug, "media header: release 0x%x, buffer size %u\n", usRelease,
                 ulBufferSize);
    return ZORBK_RC_DAMAGED;
  }
  pzorbk->ilBufferSize = static_cast<int32_t>(ulBufferSize);
  char acCodeSet[64];
  size_t ulLength = strnlen(reinterpret_cast<const char *>(puc + ZORBK_MH_CODESET),
                            ZORBK_MEDIA_SIZE - ZORBK_MH_CODESET);
  if (ulLength >= sizeof acCodeSet) ulLength = 0;        /* no code-set name there */
  std::memcpy(acCodeSet, puc + ZORBK_MH_CODESET, ulLength);
  acCodeSet[ulLength] = '\0';
  pzorbk->isCCSID = static_cast<int16_t>(ocnvftCodeSet2Ccsid(acCodeSet));
  return 0;
}

/* Scans the objects of the image into the index. */
static int _zorbkScan(zorbk *pzorbk)
{
  unsigned char aucHeader[ZORBK_OBJHEAD_SIZE];
  int64_t llPosition = ZORBK_MEDIA_SIZE;
  bool boSkip = false;
  for (;;) {
    if (pzorbk->llFileSize - llPosition < ZORBK_OBJHEAD_SIZE) break;
    int rc = _zorbkReadAt(pzorbk, llPosition, aucHeader, ZORBK_OBJHEAD_SIZE);
    if (rc != 0) return rc;
    if (std::memcmp(aucHeader + ZORBK_OH_EYE, gacObjectEye, ZORBK_EYE_LENGTH) != 0) {
      if (boSkip) break;
      boSkip = true;
      int64_t q = (llPosition - ZORBK_MEDIA_SIZE) / pzorbk->ilBufferSize;
      llPosition = ZORBK_MEDIA_SIZE + (q + 1) * pzorbk->ilBufferSize;
      continue;
    }
    boSkip = false;
    llPosition += ZORBK_OBJHEAD_SIZE;
    uint32_t ulDataSize = obyteGetLE32(aucHeader + ZORBK_OH_DATASIZE);
    zorbkIndexEntry entry;
    entry.ilTbsId = static_cast<int32_t>(obyteGetLE32(aucHeader + ZORBK_OH_TBSID));
    entry.usObjId = obyteGetLE16(aucHeader + ZORBK_OH_OBJID);
    entry.usObjType = aucHeader[ZORBK_OH_TYPE];
    entry.ilFirstPage = static_cast<int32_t>(obyteGetLE32(aucHeader + ZORBK_OH_FIRSTPAGE));
    entry.ilDataSize = static_cast<int32_t>(ulDataSize);
    entry.ilHeaderWord = static_cast<int32_t>(obyteGetLE32(aucHeader + ZORBK_OH_WORD));
    entry.llPosition = llPosition;
    if (ulDataSize > 0x7FFFFFFFu) {
      omsgsTraceTo(gpzcFileDebug, "object at %lld: data size %u\n",
                   static_cast<long long>(llPosition - ZORBK_OBJHEAD_SIZE), ulDataSize);
      return ZORBK_RC_DAMAGED;
    }
    if (pzorbk->llFileSize - llPosition < static_cast<int64_t>(ulDataSize)) {
      omsgsTraceTo(gpzcFileDebug, "object at %lld: %u bytes of data, the image ends at %lld\n",
                   static_cast<long long>(llPosition - ZORBK_OBJHEAD_SIZE), ulDataSize,
                   static_cast<long long>(pzorbk->llFileSize));
      return ZORBK_RC_TRUNCATED;
    }
    rc = _zorbkAppendEntry(pzorbk, entry);
    if (rc != 0) return rc;
    if (entry.usObjType == ZORBK_OBJ_LOT || entry.usObjType == ZORBK_OBJ_TBSDEF) {
      unsigned char *pucData = static_cast<unsigned char *>(std::malloc(ulDataSize > 0 ? ulDataSize : 1));
      if (pucData == nullptr) return ZORBK_RC_NOMEM;
      rc = _zorbkReadAt(pzorbk, llPosition, pucData, ulDataSize);
      if (rc == 0)
        rc = entry.usObjType == ZORBK_OBJ_LOT
                 ? _zorbkBuildLOT(pzorbk, pucData, entry.ilDataSize)
                 : _zorbkBuildPOOL_CB(pzorbk, pucData, entry.ilDataSize);
      std::free(pucData);
      if (rc != 0) return rc;
    } else if (entry.usObjType == ZORBK_OBJ_V8 || (entry.usObjType >= 21 && entry.usObjType <= 254)) {
      pzorbk->ilVersion = 8;
    }
    llPosition += ulDataSize;
    pzorbk->llPosition = llPosition;
  }
  return 0;
}

zorbk *zorbkCreate(ochar *pcharFileName, ochar *pcharAlias, void *, int *piRc)
{
  int iDummy;
  if (piRc == nullptr) piRc = &iDummy;
  *piRc = 0;
  if (pcharFileName == nullptr || pcharFileName->pcData == nullptr) {
    *piRc = ORC_INVALID;
    return nullptr;
  }
  zorbk *pzorbk = static_cast<zorbk *>(std::calloc(1, sizeof(zorbk)));
  if (pzorbk == nullptr) {
    *piRc = ZORBK_RC_NOMEM;
    return nullptr;
  }
  pzorbk->iFd = -1;
  pzorbk->ilVersion = 7;
  pzorbk->pcharFileName = _zorbkCopyTerminated(pcharFileName);
  if (pcharAlias != nullptr) pzorbk->pcharAlias = ocharClone(pcharAlias);
  if (pzorbk->pcharFileName == nullptr || (pcharAlias != nullptr && pzorbk->pcharAlias == nullptr)) {
    _zorbkFree(pzorbk);
    *piRc = ZORBK_RC_NOMEM;
    return nullptr;
  }
  int rc = 0;
  pzorbk->iFd = toolsOpenFile(pzorbk->pcharFileName->pcData, &rc, 1);
  if (pzorbk->iFd < 0) {
    _zorbkFree(pzorbk);
    *piRc = rc;
    return nullptr;
  }
  struct stat st;
  if (fstat(pzorbk->iFd, &st) != 0) {
    _zorbkFree(pzorbk);
    *piRc = ZORTS_RC_READ;
    return nullptr;
  }
  pzorbk->llFileSize = static_cast<int64_t>(st.st_size);
  if (S_ISBLK(st.st_mode)) {
    off_t l = lseek(pzorbk->iFd, 0, SEEK_END);
    pzorbk->llFileSize = l > 0 ? static_cast<int64_t>(l) : 0;
  }
  rc = _zorbkReadMediaHeader(pzorbk);
  if (rc == 0) {
    pzorbk->pindex = static_cast<zorbkIndexEntry *>(std::malloc(sizeof(zorbkIndexEntry) * ZORBK_INDEX_STEP));
    if (pzorbk->pindex == nullptr) rc = ZORBK_RC_NOMEM;
    else pzorbk->ilIndexCapacity = ZORBK_INDEX_STEP;
  }
  if (rc == 0) rc = _zorbkScan(pzorbk);
  if (rc != 0) {
    omsgsTraceTo(gpzcFileDebug, "image %s refused: 0x%x\n", pzorbk->pcharFileName->pcData, rc);
    _zorbkFree(pzorbk);
    *piRc = rc;
    return nullptr;
  }
  omsgsTraceTo(gpzcFileDebug, "image %s: %d objects, buffer size %d, version %d\n",
               pzorbk->pcharFileName->pcData, pzorbk->ilIndexCount, pzorbk->ilBufferSize,
               pzorbk->ilVersion);
  return pzorbk;
}

int zorbkDetermineType(zorbk *pzorbk, int32_t ilTbsId)
{
  if (pzorbk == nullptr) return 0;
  for (int32_t i = 0; i < pzorbk->ilIndexCount; i++) {
    const zorbkIndexEntry &e = pzorbk->pindex[i];
    if (e.ilTbsId != ilTbsId) continue;
    if (e.usObjType <= 4 || e.usObjType == 16 || e.usObjType == 17) return ZORTS_TYPE_SMS;
    if (e.usObjType == ZORBK_OBJ_DMS_PAGES || e.usObjType == 14 || e.usObjType == 15)
      return ZORTS_TYPE_DMS;
  }
  return 0;
}

zorbkTbsDef *zorbkFindTbsDef(zorbk *pzorbk, int32_t ilTbsId)
{
  if (pzorbk == nullptr || pzorbk->pchaineTbsDef == nullptr) return nullptr;
  for (void *p = pzorbk->pchaineTbsDef->pitemTop; p != nullptr;
       p = static_cast<zorbkTbsDef *>(p)->pitemNext) {
    zorbkTbsDef *pdef = static_cast<zorbkTbsDef *>(p);
    if (pdef->isTbsId == ilTbsId) return pdef;
  }
  return nullptr;
}

/* ----------------------------------------------------------- page sources */

enum zorbkObjectKind { ZORBK_KIND_SMSDAT, ZORBK_KIND_SMSLF, ZORBK_KIND_SMSLOB, ZORBK_KIND_DMS };

/* Whether an index entry belongs to the object (iFirst: the run's first entry). */
static bool _zorbkMatches(const zorbkIndexEntry &e, zorbkObjectKind kind, int32_t ilTbsId,
                          int32_t ilObjId, bool boFirst)
{
  if (e.ilTbsId != ilTbsId) return false;
  switch (kind) {
  case ZORBK_KIND_SMSDAT:
    return e.usObjId == ilObjId && e.usObjType == ZORBK_OBJ_SMS_DATA;
  case ZORBK_KIND_SMSLF:
    return e.usObjId == ilObjId && e.usObjType == ZORBK_OBJ_SMS_LF;
  case ZORBK_KIND_SMSLOB:
    if (e.usObjId != ilObjId) return false;
    if (e.usObjType == ZORBK_OBJ_SMS_LOB || e.usObjType == ZORBK_OBJ_SMS_LOBKB) return true;
    return !boFirst && e.usObjType == ZORBK_OBJ_SMS_LOB2;
  case ZORBK_KIND_DMS:
    return e.usObjType == ZORBK_OBJ_DMS_PAGES;
  }
  return false;
}

static void _zorbkPSFree(zorbkPageSource *pps)
{
  if (pps == nullptr) return;
  zortsEmpIteratorDestroy(pps->pempIterator);
  std::free(pps->pchunks);
  std::free(pps->pucBuffer);
  std::free(pps->pucObjTabRecord);
  std::free(pps);
}

static bool _zorbkValidPageSize(int32_t ilPageSize)
{
  return ilPageSize == 4096 || ilPageSize == 8192 || ilPageSize == 16384 || ilPageSize == 32768;
}

/*
** Builds the page source of an object: chunk table, definition and the
** table-space object's geometry.  NULL with *piRc 0 when the image holds no
** such object or no definition of its table space.
*/
static zorbkPageSource *_zorbkCreatePS(zorts *pzorts, zorbkObjectKind kind, int32_t ilTbsId,
                                       int32_t ilObjId, int *piRc)
{
  *piRc = 0;
  zorbk *pzorbk = pzorts != nullptr ? pzorts->pzorbk : nullptr;
  if (pzorbk == nullptr) {
    *piRc = ORC_INVALID;
    return nullptr;
  }
  int32_t ilFirst = -1, ilCount = 0;
  for (int32_t i = 0; i < pzorbk->ilIndexCount; i++) {
    if (_zorbkMatches(pzorbk->pindex[i], kind, ilTbsId, ilObjId, true)) {
      ilFirst = i;
      break;
    }
  }
  if (ilFirst < 0) return nullptr;
  ilCount = 1;
  while (ilFirst + ilCount < pzorbk->ilIndexCount &&
         _zorbkMatches(pzorbk->pindex[ilFirst + ilCount], kind, ilTbsId, ilObjId, false))
    ilCount++;
  zorbkTbsDef *pdef = zorbkFindTbsDef(pzorbk, ilTbsId);
  if (pdef == nullptr) return nullptr;
  if (!_zorbkValidPageSize(pdef->ilPageSize) || pdef->ilExtentSize < 1 ||
      pdef->ilExtentSize > ZORBK_MAX_EXTENT) {
    omsgsTraceTo(gpzcFileDebug, "table space %d: page size %d, extent size %d\n", ilTbsId,
                 pdef->ilPageSize, pdef->ilExtentSize);
    *piRc = ZORBK_RC_DAMAGED;
    return nullptr;
  }
  zorbkPageSource *pps = static_cast<zorbkPageSource *>(std::calloc(1, sizeof(zorbkPageSource)));
  if (pps == nullptr) {
    *piRc = ZORBK_RC_NOMEM;
    return nullptr;
  }
  pps->pchunks = static_cast<zorbkIndexEntry *>(
      std::malloc(sizeof(zorbkIndexEntry) * static_cast<size_t>(ilCount + 1)));
  if (pps->pchunks == nullptr) {
    _zorbkPSFree(pps);
    *piRc = ZORBK_RC_NOMEM;
    return nullptr;
  }
  std::memcpy(pps->pchunks, pzorbk->pindex + ilFirst, sizeof(zorbkIndexEntry) * static_cast<size_t>(ilCount));
  pps->ilChunkCount = ilCount;
  pps->ptbsdef = pdef;
  pps->pzorbk = pzorbk;
  pps->ilPageSize = pdef->ilPageSize;
  pps->ilExtentSize = pdef->ilExtentSize;
  pps->ilState = -1;
  pps->ilLoadedChunk = -1;
  pps->ilCurrentChunk = 0;
  zorbkIndexEntry &last = pps->pchunks[ilCount - 1];
  zorbkIndexEntry &closing = pps->pchunks[ilCount];
  closing = last;
  closing.ilDataSize = 0;
  int64_t llClosing = 0;
  bool boDamaged = false;
  if (kind == ZORBK_KIND_SMSLOB) {
    /* LOB chunks are looked up in 1 KB units: types 3 and 23 count in pages */
    pps->iLobKB = 1;
    for (int32_t i = 0; i < ilCount; i++) {
      if (pps->pchunks[i].usObjType == ZORBK_OBJ_SMS_LOBKB) continue;
      int64_t llUnits = static_cast<int64_t>(pps->pchunks[i].ilFirstPage) * (pps->ilPageSize / 1024);
      boDamaged |= llUnits > INT32_MAX || llUnits < INT32_MIN;
      pps->pchunks[i].ilFirstPage = static_cast<int32_t>(llUnits);
    }
    llClosing = static_cast<int64_t>(last.ilFirstPage) + last.ilDataSize / 1024;
  } else {
    llClosing = static_cast<int64_t>(last.ilFirstPage) + last.ilDataSize / pps->ilPageSize;
  }
  if (boDamaged || llClosing > INT32_MAX) {
    omsgsTraceTo(gpzcFileDebug, "object %d of table space %d: first pages out of range\n", ilObjId, ilTbsId);
    _zorbkPSFree(pps);
    *piRc = ZORBK_RC_DAMAGED;
    return nullptr;
  }
  closing.ilFirstPage = static_cast<int32_t>(llClosing);
  pzorts->ilExtentSize = pdef->ilExtentSize;
  pzorts->ilPageSize = pdef->ilPageSize;
  pzorts->ulTbsFlags = pdef->ulFlags;
  return pps;
}

/* Pages of chunk i (whole pages only). */
static int64_t _zorbkChunkPages(const zorbkPageSource *pps, int32_t i)
{
  return pps->pchunks[i].ilDataSize / pps->ilPageSize;
}

/* The chunk holding page (1 KB unit for LOB sources), -1 when none; tries the hint first. */
static int32_t _zorbkFindChunk(const zorbkPageSource *pps, int64_t llPage, int32_t ilHint)
{
  auto holds = [&](int32_t i) {
    const zorbkIndexEntry &e = pps->pchunks[i];
    int64_t llUnits = pps->iLobKB ? e.ilDataSize / 1024 : _zorbkChunkPages(pps, i);
    return llPage >= e.ilFirstPage && llPage < e.ilFirstPage + llUnits;
  };
  if (ilHint >= 0 && ilHint < pps->ilChunkCount && holds(ilHint)) return ilHint;
  if (ilHint + 1 >= 0 && ilHint + 1 < pps->ilChunkCount && holds(ilHint + 1)) return ilHint + 1;
  for (int32_t i = 0; i < pps->ilChunkCount; i++)
    if (holds(i)) return i;
  return -1;
}

/*
** Loads chunk i into the page source's buffer, restoring the torn-page bits
** of its pages.  Returns 0 or a code of the read-next contract.
*/
static int _zorbkLoadChunk(zorbkPageSource *pps, int32_t i)
{
  const zorbkIndexEntry &e = pps->pchunks[i];
  if (e.ilDataSize % pps->ilPageSize != 0) {
    omsgsTraceTo(gpzcFileDebug, "chunk at %lld: %d bytes are not whole pages of %d\n",
                 static_cast<long long>(e.llPosition), e.ilDataSize, pps->ilPageSize);
    return ZORTS_RC_READ;
  }
  if (pps->llBufferSize < e.ilDataSize) {
    void *p = std::realloc(pps->pucBuffer, static_cast<size_t>(e.ilDataSize));
    if (p == nullptr) return ZORTS_RC_READ;
    pps->pucBuffer = static_cast<unsigned char *>(p);
    pps->llBufferSize = e.ilDataSize;
  }
  pps->ilLoadedChunk = -1;
  int rc = _zorbkReadAt(pps->pzorbk, e.llPosition, pps->pucBuffer, e.ilDataSize);
  if (rc != 0) return ZORTS_RC_READ;
  _zorbkRestorePages(pps->pucBuffer, e.ilDataSize / pps->ilPageSize, pps->ilPageSize);
  pps->ilLoadedChunk = i;
  return 0;
}

static zorbkPageSource *_zorbkPS(zorts *pzorts)
{
  return pzorts != nullptr ? static_cast<zorbkPageSource *>(pzorts->pPageSource) : nullptr;
}

unsigned char *zorbkReadNextSMSDat(zorts *pzorts, int *piRc)
{
  zorbkPageSource *pps = _zorbkPS(pzorts);
  if (pps == nullptr) {
    *piRc = ORC_INVALID;
    return nullptr;
  }
  const int32_t P = pps->ilPageSize;
  for (;;) {
    if (pps->ilState < 1) {
      while (pps->ilCurrentChunk < pps->ilChunkCount && pps->pchunks[pps->ilCurrentChunk].ilDataSize == 0)
        pps->ilCurrentChunk++;                          /* an empty object holds no page */
      if (pps->ilCurrentChunk >= pps->ilChunkCount) {
        *piRc = ZORTS_RC_END;
        return nullptr;
      }
      int rc = _zorbkLoadChunk(pps, pps->ilCurrentChunk);
      if (rc != 0) {
        *piRc = rc;
        return nullptr;
      }
      pps->ilState = 0;
      pps->ilPagesLeft = 0;
      pps->llNextOffset = 0;
    }
    const zorbkIndexEntry &e = pps->pchunks[pps->ilCurrentChunk];
    int64_t llOffset = pps->llNextOffset;
    int64_t llPage = e.ilFirstPage + llOffset / P;    /* the chunk holds the file's pages from its first */
    unsigned char *pucPage = pps->pucBuffer + llOffset;
    pps->ilState++;
    pps->ilPagesLeft = pps->ilState - 1;
    pps->llNextOffset += P;
    if (pps->llNextOffset >= e.ilDataSize) {
      pps->ilState = -1;
      pps->ilCurrentChunk++;
    }
    if (pzorts->ilPageCount > 0 && llPage >= pzorts->ilPageCount) continue;   /* past the table's pages */
    pzorts->llPageExpected = llPage;
    pzorts->boPageExpected = 1;
    *piRc = 0;
    return pucPage;
  }
}

/*
** Reads ilCount pages from page llPage of a data or DMS source into
** pucBuffer, chunk by chunk; pages of the loaded chunk come from the chunk
** buffer when boUseLoaded.  Returns 0, ZORBK_RC_NOPAGE or ZORBK_RC_TRUNCATED.
*/
static int _zorbkReadPages(zorbkPageSource *pps, int64_t llPage, int32_t ilCount,
                           unsigned char *pucBuffer, bool boUseLoaded)
{
  const int32_t P = pps->ilPageSize;
  int32_t k = 0;
  int32_t ilHint = boUseLoaded ? pps->ilLoadedChunk : pps->ilCurrentChunk;
  while (k < ilCount) {
    int64_t llWanted = llPage + k;
    int32_t i = _zorbkFindChunk(pps, llWanted, ilHint);
    if (i < 0) {
      omsgsTraceTo(gpzcFileDebug, "page %lld is in no object of the image\n",
                   static_cast<long long>(llWanted));
      return ZORBK_RC_NOPAGE;
    }
    const zorbkIndexEntry &e = pps->pchunks[i];
    int64_t llIn = llWanted - e.ilFirstPage;
    int64_t llRun = _zorbkChunkPages(pps, i) - llIn;
    if (llRun > ilCount - k) llRun = ilCount - k;
    unsigned char *pucTarget = pucBuffer + static_cast<int64_t>(k) * P;
    if (boUseLoaded && i == pps->ilLoadedChunk) {
      std::memcpy(pucTarget, pps->pucBuffer + llIn * P, static_cast<size_t>(llRun * P));
    } else {
      int rc = _zorbkReadAt(pps->pzorbk, e.llPosition + llIn * P, pucTarget, llRun * P);
      if (rc != 0) return rc;
    }
    k += static_cast<int32_t>(llRun);
    ilHint = i;
  }
  return 0;
}

/* Common body of the two page-by-number slots of data and DMS sources. */
static unsigned char *_zorbkReadAbs(zorts *pzorts, uint32_t ulPage, unsigned char *pucBuffer,
                                    int32_t ilCount, int32_t ilFlags, int *piRc, bool boUseLoaded)
{
  zorbkPageSource *pps = _zorbkPS(pzorts);
  if (pps == nullptr || ilCount < 1) {
    *piRc = ORC_INVALID;
    return nullptr;
  }
  const int32_t P = pps->ilPageSize;
  unsigned char *pucAllocated = nullptr;
  if (pucBuffer == nullptr) {
    pucAllocated = static_cast<unsigned char *>(std::malloc(static_cast<size_t>(ilCount) * P));
    if (pucAllocated == nullptr) {
      *piRc = ZORBK_RC_NOBUFFER;
      return nullptr;
    }
    pucBuffer = pucAllocated;
  }
  int rc = _zorbkReadPages(pps, ulPage, ilCount, pucBuffer, boUseLoaded);
  if (rc != 0) {
    std::free(pucAllocated);
    *piRc = rc;
    return nullptr;
  }
  if (ilFlags & ZORTS_READ_RESTORE) _zorbkRestorePages(pucBuffer, ilCount, P);
  *piRc = 0;
  return pucBuffer;
}

unsigned char *zorbkReadAbsSMSDatPage(zorts *pzorts, uint32_t ulPage, unsigned char *pucBuffer,
                                      int32_t ilCount, int32_t ilFlags, int *piRc)
{
  return _zorbkReadAbs(pzorts, ulPage, pucBuffer, ilCount, ilFlags, piRc, true);
}

unsigned char *zorbkReadAbsDMSDatPage(zorts *pzorts, uint32_t ulPage, unsigned char *pucBuffer,
                                      int32_t ilCount, int32_t ilFlags, int *piRc)
{
  return _zorbkReadAbs(pzorts, ulPage, pucBuffer, ilCount, ilFlags, piRc, false);
}

unsigned char *zorbkReadAbsSMSLOBPage(zorts *pzorts, uint32_t ulPage, unsigned char *pucBuffer,
                                      int32_t ilCount, int32_t, int *piRc)
{
  zorbkPageSource *pps = _zorbkPS(pzorts);
  if (pps == nullptr) {
    *piRc = ORC_INVALID;
    return nullptr;
  }
  const int32_t P = pps->ilPageSize;
  unsigned char *pucAllocated = nullptr;
  if (pucBuffer == nullptr) {
    size_t ulSize = static_cast<size_t>(ilCount > 1 ? ilCount : 1) * P;
    pucAllocated = static_cast<unsigned char *>(std::malloc(ulSize));
    if (pucAllocated == nullptr) {
      *piRc = ZORBK_RC_NOBUFFER;
      return nullptr;
    }
    pucBuffer = pucAllocated;
  }
  int64_t u = static_cast<int64_t>(ulPage) * (P / 1024);
  int64_t llWanted = P, llDone = 0;
  int32_t ilHint = 0;
  while (llWanted > 0) {
    int32_t i = _zorbkFindChunk(pps, u, ilHint);
    if (i < 0) {
      omsgsTraceTo(gpzcFileDebug, "LOB unit %lld is in no object of the image\n", static_cast<long long>(u));
      std::free(pucAllocated);
      *piRc = ZORBK_RC_NOPAGE;
      return nullptr;
    }
    const zorbkIndexEntry &e = pps->pchunks[i];
    int64_t llAvailable = e.ilDataSize - (u - e.ilFirstPage) * 1024;
    int64_t llTake = llAvailable < llWanted ? llAvailable : llWanted;
    int rc = _zorbkReadAt(pps->pzorbk, e.llPosition + (u - e.ilFirstPage) * 1024, pucBuffer + llDone, llTake);
    if (rc != 0) {
      std::free(pucAllocated);
      *piRc = rc;
      return nullptr;
    }
    llDone += llTake;
    llWanted -= llTake;
    u += llTake / 1024;
    ilHint = i;
    if (i == pps->ilChunkCount - 1) break;             /* the object ends in this chunk */
  }
  if (llWanted > 0) std::memset(pucBuffer + llDone, 0, static_cast<size_t>(llWanted));
  *piRc = 0;
  return pucBuffer;
}

/*
** Reads object page 0 of a data object and the records of the table that
** it holds: the data-file header, the table directory and the table
** descriptor.  Returns 0 or the first failing code.
*/
static int _zorbkReadTablePage0(zorts *pzorts, uint32_t ulPage, bool boDMS, int32_t ilTbsId, int32_t ilObjId)
{
  int rc = 0;
  unsigned char *pucPage =
      boDMS ? zorbkReadAbsDMSDatPage(pzorts, ulPage, nullptr, 1, ZORTS_READ_RESTORE, &rc)
            : zorbkReadAbsSMSDatPage(pzorts, ulPage, nullptr, 1, ZORTS_READ_RESTORE, &rc);
  if (pucPage == nullptr) return rc;
  rc = zortsReadFirstPage(pzorts, pucPage, ilTbsId, ilObjId);
  std::free(pucPage);
  return rc;
}

/* Opens an SMS object; the data object also reads its page 0. */
static zorbkPageSource *_zorbkOpenSMS(zorts *pzorts, zorbkObjectKind kind, int32_t ilTbsId,
                                      int32_t ilObjId, int *piRc)
{
  int iDummy;
  if (piRc == nullptr) piRc = &iDummy;
  zorbkPageSource *pps = _zorbkCreatePS(pzorts, kind, ilTbsId, ilObjId, piRc);
  if (pps == nullptr) return nullptr;
  void *pSaved = pzorts->pPageSource;
  pzorts->pPageSource = pps;
  if (kind != ZORBK_KIND_SMSDAT) return pps;
  int rc = _zorbkReadTablePage0(pzorts, 0, false, ilTbsId, ilObjId);
  if (rc != 0) {
    pzorts->pPageSource = pSaved;
    _zorbkPSFree(pps);
    *piRc = rc;
    return nullptr;
  }
  return pps;
}

zorbkPageSource *zorbkOpenSMSTableDat(zorts *pzorts, int32_t ilTbsId, int32_t ilObjId, int *piRc)
{
  return _zorbkOpenSMS(pzorts, ZORBK_KIND_SMSDAT, ilTbsId, ilObjId, piRc);
}

zorbkPageSource *zorbkOpenSMSTableLF(zorts *pzorts, int32_t ilTbsId, int32_t ilObjId, int *piRc)
{
  return _zorbkOpenSMS(pzorts, ZORBK_KIND_SMSLF, ilTbsId, ilObjId, piRc);
}

zorbkPageSource *zorbkOpenSMSTableLOB(zorts *pzorts, int32_t ilTbsId, int32_t ilObjId, int *piRc)
{
  return _zorbkOpenSMS(pzorts, ZORBK_KIND_SMSLOB, ilTbsId, ilObjId, piRc);
}

/* Which object of the object-table record a DMS page source reads. */
enum zorbkDMSObject { ZORBK_DMS_DAT, ZORBK_DMS_LF, ZORBK_DMS_LOB };

static zorbkPageSource *_zorbkOpenDMS(zorts *pzorts, zorbkDMSObject object, int32_t ilTbsId,
                                      int32_t ilObjId, int *piRc)
{
  int iDummy;
  if (piRc == nullptr) piRc = &iDummy;
  zorbkPageSource *pps = _zorbkCreatePS(pzorts, ZORBK_KIND_DMS, ilTbsId, ilObjId, piRc);
  if (pps == nullptr) return nullptr;
  void *pSaved = pzorts->pPageSource;
  pzorts->pPageSource = pps;
  if (pzorts->pfnReadAbs == nullptr) pzorts->pfnReadAbs = zorbkReadAbsDMSDatPage;
  int rc = zortsFindObjTabRecord(pzorts, ilObjId, &pps->pucObjTabRecord);
  if (rc == ZORTS_RC_ENDEMP) rc = ZORBK_RC_NOTABLE;   /* the object table has no such object */
  uint32_t ulFirstEmp = 0;
  if (rc == 0) {
    /* first EMP page of the data, long-field and LOB objects in the object-table record */
    static const int aiEmp[] = {8, 68, 92};
    ulFirstEmp = obyteGetLE32(pps->pucObjTabRecord + aiEmp[object]);
    pps->pempIterator = zortsEmpIteratorCreate(pzorts, ulFirstEmp, &rc);
    if (rc == ZORTS_RC_ENDEMP && object != ZORBK_DMS_DAT) rc = 0;   /* an empty long object */
  }
  if (rc == 0 && object == ZORBK_DMS_DAT) {
    /* object page 0: the first allocation of the EMP page the walk starts on */
    uint32_t ulLevel = 0;
    int32_t ilEntries = 0, iE = 0, iK = 0;
    const unsigned char *pucAllocs = nullptr;
    rc = zortsEmpEntriesPerPage(pps->ilPageSize, &iE, &iK);
    if (rc == 0)
      rc = zortsEmpReadHeader(pps->pempIterator->pPage, pps->ilPageSize, iK, &ulLevel, &ilEntries,
                              &pucAllocs);
    if (rc == 0 && ilEntries < 1) rc = ZORTS_RC_ENDEMP;
    if (rc == 0) rc = _zorbkReadTablePage0(pzorts, obyteGetLE32(pucAllocs), true, ilTbsId, ilObjId);
  }
  if (rc != 0) {
    omsgsTraceTo(gpzcFileDebug, "DMS object %d of table space %d not opened: 0x%x\n", ilObjId,
                 ilTbsId, rc);
    pzorts->pPageSource = pSaved;
    _zorbkPSFree(pps);
    *piRc = rc;
    return nullptr;
  }
  return pps;
}

zorbkPageSource *zorbkOpenDMSTableDat(zorts *pzorts, int32_t ilTbsId, int32_t ilObjId, int *piRc)
{
  return _zorbkOpenDMS(pzorts, ZORBK_DMS_DAT, ilTbsId, ilObjId, piRc);
}

zorbkPageSource *zorbkOpenDMSTableLF(zorts *pzorts, int32_t ilTbsId, int32_t ilObjId, int *piRc)
{
  return _zorbkOpenDMS(pzorts, ZORBK_DMS_LF, ilTbsId, ilObjId, piRc);
}

zorbkPageSource *zorbkOpenDMSTableLOB(zorts *pzorts, int32_t ilTbsId, int32_t ilObjId, int *piRc)
{
  return _zorbkOpenDMS(pzorts, ZORBK_DMS_LOB, ilTbsId, ilObjId, piRc);
}

unsigned char *zorbkReadNextDMSDat(zorts *pzorts, int *piRc)
{
  zorbkPageSource *pps = _zorbkPS(pzorts);
  if (pps == nullptr || pps->pempIterator == nullptr) {
    *piRc = ORC_INVALID;
    return nullptr;
  }
  if (pzorts->ilPageCount > 0 && pps->llPagesOut >= pzorts->ilPageCount) {
    *piRc = ZORTS_RC_ENDEMP;                         /* the table's last page was handed out */
    return nullptr;
  }
  const int32_t P = pps->ilPageSize, X = pps->ilExtentSize;
  if (pps->ilPagesLeft <= 0) {
    uint32_t ulExtent = 0;
    int rc = zortsGetNextExtentPos(pzorts, pps->pempIterator, &ulExtent);
    if (rc != 0) {
      *piRc = rc;
      return nullptr;
    }
    pps->llNextTbsPage = static_cast<int64_t>(ulExtent) * X;
    pps->ilPagesLeft = X;
  }
  int64_t t = pps->llNextTbsPage;
  int32_t i = _zorbkFindChunk(pps, t, pps->ilLoadedChunk);
  if (i < 0) {
    omsgsTraceTo(gpzcFileDebug, "table-space page %lld is in no object of the image\n",
                 static_cast<long long>(t));
    *piRc = ZORTS_RC_READ;
    return nullptr;
  }
  if (i != pps->ilLoadedChunk) {
    int rc = _zorbkLoadChunk(pps, i);
    if (rc != 0) {
      *piRc = rc;
      return nullptr;
    }
  }
  pps->ilCurrentChunk = i;
  pps->llNextOffset = (t - pps->pchunks[i].ilFirstPage) * P;
  unsigned char *pucPage = pps->pucBuffer + pps->llNextOffset;
  pps->llNextOffset += P;
  pps->llNextTbsPage++;
  pps->ilPagesLeft--;
  /* the extents of the map hold the object's pages in order */
  pzorts->llPageExpected = pps->llPagesOut++;
  pzorts->boPageExpected = 1;
  *piRc = 0;
  return pucPage;
}

void zorbkSMSPSDestroy(zorbkPageSource *pps)
{
  _zorbkPSFree(pps);
}

void zorbkDMSPSDestroy(zorbkPageSource *pps)
{
  _zorbkPSFree(pps);
}

/* ------------------------------------------------------------ file entries */

zorbkFileEntry *zorbkFileEntryCreate(ochar *pcharFileName, int32_t ilPart)
{
  zorbkFileEntry *pentry = static_cast<zorbkFileEntry *>(std::calloc(1, sizeof(zorbkFileEntry)));
  if (pentry == nullptr) return nullptr;
  pentry->pcharFileName = pcharFileName;
  pentry->ilPart = ilPart;
  return pentry;
}

/* Value of n decimal digits at pc; false when one is not a digit or it overflows. */
static bool _zorbkDigits(const char *pc, size_t n, int32_t *pilValue)
{
  if (n == 0) return false;
  int64_t llValue = 0;
  for (size_t i = 0; i < n; i++) {
    if (pc[i] < '0' || pc[i] > '9') return false;
    llValue = llValue * 10 + (pc[i] - '0');
    if (llValue > 0x7FFFFFFF) return false;
  }
  *pilValue = static_cast<int32_t>(llValue);
  return true;
}

/* "NODE" or "CATN" (any case) then four digits, at pc. */
static bool _zorbkWordNumber(const char *pc, const char *pcWord, int32_t *pilValue)
{
  for (int i = 0; i < 4; i++) {
    char c = pc[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != pcWord[i]) return false;
  }
  return _zorbkDigits(pc + 4, 4, pilValue);
}

int zorbkFileEntryDecomposeFileName(zorbkFileEntry *pentry)
{
  if (pentry == nullptr || pentry->pcharFileName == nullptr) return ORC_INVALID;
  const ochar *pcharName = pentry->pcharFileName;
  std::string s;
  if (pcharName->pcData != nullptr && pcharName->ilBU > 0)
    s.assign(_charText(pcharName), static_cast<size_t>(pcharName->ilBU));
  s = s.c_str();                                    /* the name ends at its first zero byte */

  /* sequence */
  size_t ulSeqDot = s.rfind('.');
  if (ulSeqDot == std::string::npos) return ZORBK_RC_BADNAME;
  int32_t ilSequence = 0;
  if (!_zorbkDigits(s.c_str() + ulSeqDot + 1, s.size() - ulSeqDot - 1, &ilSequence))
    return ZORBK_RC_BADNAME;
  /* timestamp: ".yyyymmddhhmmss" */
  if (ulSeqDot < 15 || s[ulSeqDot - 15] != '.') return ZORBK_RC_BADNAME;
  size_t ulTsDot = ulSeqDot - 15;
  int32_t ilIgnored = 0;
  if (!_zorbkDigits(s.c_str() + ulTsDot + 1, 8, &ilIgnored) ||
      !_zorbkDigits(s.c_str() + ulTsDot + 9, 6, &ilIgnored))
    return ZORBK_RC_BADNAME;
  /* ".CATNnnnn" and ".NODEnnnn" */
  int32_t ilCatn = 0, ilNode = 0;
  if (ulTsDot < 9 || s[ulTsDot - 9] != '.') return ZORBK_RC_BADNAME;
  size_t ulCatnDot = ulTsDot - 9;
  if (!_zorbkWordNumber(s.c_str() + ulCatnDot + 1, "CATN", &ilCatn)) return ZORBK_RC_BADNAME;
  if (ulCatnDot < 9 || s[ulCatnDot - 9] != '.') return ZORBK_RC_BADNAME;
  size_t ulNodeDot = ulCatnDot - 9;
  if (!_zorbkWordNumber(s.c_str() + ulNodeDot + 1, "NODE", &ilNode)) return ZORBK_RC_BADNAME;
  /* instance */
  if (ulNodeDot == 0) return ZORBK_RC_BADNAME;
  size_t ulInstDot = s.rfind('.', ulNodeDot - 1);
  if (ulInstDot == std::string::npos) return ZORBK_RC_BADNAME;
  size_t ulInstLength = ulNodeDot - ulInstDot - 1;
  if (ulInstLength == 0 || ulInstLength >= sizeof pentry->acInstance) return ZORBK_RC_BADNAME;
  /* type: ".d" */
  if (ulInstDot < 2 || s[ulInstDot - 2] != '.') return ZORBK_RC_BADNAME;
  int32_t ilType = 0;
  if (!_zorbkDigits(s.c_str() + ulInstDot - 1, 1, &ilType)) return ZORBK_RC_BADNAME;
  size_t ulTypeDot = ulInstDot - 2;
  /* alias and directory */
  size_t ulSlash = ulTypeDot == 0 ? std::string::npos : s.rfind('/', ulTypeDot - 1);
  size_t ulAliasStart = ulSlash == std::string::npos ? 0 : ulSlash + 1;
  if (ulAliasStart >= ulTypeDot) return ZORBK_RC_BADNAME;
  ochar *pcharAlias = ocharCreate(0, OCHAR_CCSID_ASCII);
  if (pcharAlias == nullptr ||
      ocharAppendFixed(pcharAlias, s.data() + ulAliasStart, static_cast<int32_t>(ulTypeDot - ulAliasStart)) != 0) {
    ocharDestroy(pcharAlias);
    return ORC_NOMEM;
  }
  char *pcDirectory = nullptr;
  if (ulSlash != std::string::npos) {
    pcDirectory = strndup(s.c_str(), ulSlash);
    if (pcDirectory == nullptr) {
      ocharDestroy(pcharAlias);
      return ORC_NOMEM;
    }
  }

  pentry->ilSequence = ilSequence;
  std::memcpy(pentry->acDate, s.data() + ulTsDot + 1, 8);
  pentry->acDate[8] = '\0';
  std::memcpy(pentry->acTime, s.data() + ulTsDot + 9, 6);
  pentry->ilCatn = ilCatn;
  pentry->ilNode = ilNode;
  pentry->ilPart = ilNode;   /* the partition whose rows the image holds */
  std::memset(pentry->acInstance, 0, sizeof pentry->acInstance);
  std::memcpy(pentry->acInstance, s.data() + ulInstDot + 1, ulInstLength);
  pentry->ilType = ilType;
  ocharDestroy(pentry->pcharAlias);
  pentry->pcharAlias = pcharAlias;
  std::free(pentry->pcDirectory);
  pentry->pcDirectory = pcDirectory;
  return 0;
}

zorbkFileEntry *zorbkFileEntryClone(zorbkFileEntry *pentry)
{
  return static_cast<zorbkFileEntry *>(zorbkFileEntryCloneItem(nullptr, pentry));
}

void zorbkFileEntryDestroy(zorbkFileEntry *pentry)
{
  zorbkFileEntryDestroyItem(nullptr, pentry);
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
