/*
** zordat.cpp
**   Threaded online reader (design note and contracts in zordat.h): the
**   access object and its read-absolute cache, the page sources, the
**   dispatcher and container reader threads, the consumer's read-next and
**   the stop protocol.  Container files are opened read-only with the real
**   and effective user ids exchanged (model/tools.h); because that exchange
**   is process-wide, the threads of this module open files one at a time.
*/
#include "storage/zordat.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/obyte.h"
#include "common/ochaine.h"
#include "common/ochar.h"
#include "io/socket.h"
#include "model/tools.h"
#include "storage/ficcont.h"
#include "storage/ficdb2.h"
#include "storage/zorts.h"
#include "storage/zortsdesc.h"
#include "storage/zortsemp.h"

#define OMSGS_TRACE_KEYWORD "$DAT"
#define OMSGS_DEBUG_KEYWORD nullptr
#include "common/omsgsmod.h"

/* Extent data starts this far into an extent buffer allocation. */
#define ZORDAT_BUFFER_HEAD ((sizeof(zordatBuffer) + 63) & ~static_cast<size_t>(63))

/* Serialises the identity exchange of toolsSizeFile / toolsOpenFile between threads. */
static pthread_mutex_t gmutexOpen = PTHREAD_MUTEX_INITIALIZER;

static unsigned char *_zordatData(zordatBuffer *pbuf)
{
  return reinterpret_cast<unsigned char *>(pbuf) + ZORDAT_BUFFER_HEAD;
}

static std::string _zordatText(const ochar *pchar)
{
  if (pchar == nullptr || pchar->pcData == nullptr) return std::string();
  return std::string(_charText(pchar), static_cast<size_t>(pchar->ilBU));
}

/* Waits on pcond for at most one second from now; the caller holds pmutex. */
static void _zordatTimedWait(pthread_cond_t *pcond, pthread_mutex_t *pmutex)
{
  timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  ts.tv_sec += 1;
  pthread_cond_timedwait(pcond, pmutex, &ts);
}

/* ------------------------------------------------------- file access */

/*
** Opens one container for reading: locally with the identities exchanged,
** remotely through the daemon of the partition's host.  Returns 0 with the
** descriptor (or connection) and the file size, or the failure code.  A
** local SMS table file that does not exist is an empty one: descriptor -1,
** size 0 (the table's extents never reached that container).
*/
static int _zordatOpen(const zordat *pzordat, const zordatCont *pcont, int *piFd, int64_t *pllSize,
                       int iRemoteCode)
{
  const ficcont *prec = pzordat->pficcont;
  if (prec->ilRemote) {
    char *pcError = nullptr;
    std::string strHost = _zordatText(prec->pcharHost);
    int64_t llBlocks = 0;
    omsgsTrace("Open Container remote |%s| on %s", pcont->pcFileName, strHost.c_str());
    if (iSOCKETexistFile(strHost.c_str(), pzordat->pcUser, pcont->pcFileName,
                         static_cast<uint32_t>(prec->ilPageSize), &llBlocks, &pcError) != 0) {
      omsgsTrace("Container %s not found on %s: %s", pcont->pcFileName, strHost.c_str(), pcError);
      return iRemoteCode;
    }
    int iFd = iSOCKETopenFile(strHost.c_str(), pzordat->pcUser, pcont->pcFileName, pllSize, &pcError);
    if (iFd < 0) {
      omsgsTrace("Container %s not opened on %s: %s", pcont->pcFileName, strHost.c_str(), pcError);
      return iRemoteCode;
    }
    *piFd = iFd;
    return 0;
  }
  int iRc = 0;
  omsgsTrace("Open Container local |%s|", pcont->pcFileName);
  struct stat stFile;
  if (prec->ilType == FICCONT_TYPE_SMS && stat(pcont->pcFileName, &stFile) != 0 && errno == ENOENT) {
    /* a small table has no file in the containers that none of its extents reach */
    omsgsTrace("No file %s: no pages in this container", pcont->pcFileName);
    *piFd = -1;
    *pllSize = 0;
    return 0;
  }
  pthread_mutex_lock(&gmutexOpen);
  int iFd = toolsOpenFile(pcont->pcFileName, &iRc, 1);
  pthread_mutex_unlock(&gmutexOpen);
  omsgsTrace("Open returned %i", iFd);
  if (iFd < 0) return iRc != 0 ? iRc : ZORDAT_RC_READ;
  struct stat st;
  int64_t llSize = -1;
  if (fstat(iFd, &st) == 0) llSize = S_ISBLK(st.st_mode) ? lseek(iFd, 0, SEEK_END) : st.st_size;
  if (llSize < 0) {
    close(iFd);
    return ZORDAT_RC_READ;
  }
  *piFd = iFd;
  *pllSize = llSize;
  return 0;
}

static void _zordatClose(const zordat *pzordat, int iFd)
{
  if (iFd < 0) return;
  if (pzordat->pficcont->ilRemote) {
    char *pcError = nullptr;
    iSOCKETcloseFile(iFd, &pcError);
  } else {
    close(iFd);
  }
}

/*
** Reads up to ilWanted bytes at byte llPosition of the container's page
** area into pucTarget, bounded by the file size, whole pages only.
** Returns the pages read (0 when the position lies past the end), or -1
** when a read fails.
*/
static int32_t _zordatReadExtent(const zordat *pzordat, int iFd, int64_t llFileSize, int64_t llPosition,
                                 int32_t ilWanted, int32_t ilPageSize, unsigned char *pucTarget)
{
  int64_t llBytes = llFileSize - llPosition;
  if (llBytes > ilWanted) llBytes = ilWanted;
  llBytes -= llBytes % ilPageSize;
  if (llBytes <= 0) return 0;
  if (pzordat->pficcont->ilRemote) {
    int32_t ilPages = static_cast<int32_t>(llBytes / ilPageSize);
    for (int32_t i = 0; i < ilPages; i++) {
      char *pcError = nullptr;
      int32_t ilBlock = static_cast<int32_t>(llPosition / ilPageSize) + i;
      if (iSOCKETreadFile(iFd, ilBlock, ilPageSize, pucTarget + static_cast<size_t>(i) * ilPageSize,
                          &pcError) != ilPageSize) {
        omsgsTrace("Remote read of block %d failed: %s", ilBlock, pcError);
        return -1;
      }
    }
    return ilPages;
  }
  int64_t llDone = 0;
  while (llDone < llBytes) {
    ssize_t l = pread(iFd, pucTarget + llDone, static_cast<size_t>(llBytes - llDone), llPosition + llDone);
    if (l < 0 && errno == EINTR) continue;
    if (l < 0) {
      omsgsTrace("Read at %lld failed: %s", static_cast<long long>(llPosition + llDone), strerror(errno));
      return -1;
    }
    if (l == 0) break;
    llDone += l;
  }
  return static_cast<int32_t>(llDone / ilPageSize);
}

/* ------------------------------------------------------ access object */

char *zordatBuildContainerFilename(const char *pcPath, const char *pcExtension, int32_t ilFileId, int32_t ilType)
{
  if (pcPath == nullptr) return nullptr;
  if (ilType != FICCONT_TYPE_SMS) return strdup(pcPath);
  if (pcExtension == nullptr) pcExtension = ZORDAT_EXT_DAT;
  size_t ulSize = strlen(pcPath) + strlen(pcExtension) + 32;
  char *pc = static_cast<char *>(malloc(ulSize));
  if (pc != nullptr) snprintf(pc, ulSize, "%s%cSQL%.5d%s", pcPath, '/', ilFileId, pcExtension);
  return pc;
}

/* One access object without children over the containers of prec. */
static zordat *_zordatNew(ficcont *prec, int32_t ilTbsId, int32_t ilObjId, const char *pcUser,
                          const char *pcExtension, int *piCode)
{
  if (prec == nullptr || prec->plistCont == nullptr || prec->ilContainers < 1 || prec->ilPageSize < 512 ||
      prec->ilExtentSize < 1 || (prec->ilType != FICCONT_TYPE_SMS && prec->ilType != FICCONT_TYPE_DMS)) {
    *piCode = ORC_INVALID;
    return nullptr;
  }
  zordat *pzordat = static_cast<zordat *>(calloc(1, sizeof(zordat)));
  if (pzordat == nullptr) {
    *piCode = ZORDAT_RC_NOMEM;
    return nullptr;
  }
  pthread_mutex_init(&pzordat->mutexCache, nullptr);
  pzordat->ilType = prec->ilType;
  pzordat->ilObjId = ilObjId;
  pzordat->ilTbsId = ilTbsId;
  pzordat->pficcont = prec;
  pzordat->pcUser = strdup(pcUser != nullptr ? pcUser : "");
  pzordat->pconts = static_cast<zordatCont *>(calloc(static_cast<size_t>(prec->ilContainers), sizeof(zordatCont)));
  if (pzordat->pcUser == nullptr || pzordat->pconts == nullptr) {
    zordatDestroy(pzordat);
    *piCode = ZORDAT_RC_NOMEM;
    return nullptr;
  }
  pzordat->ilContainers = prec->ilContainers;
  for (int32_t i = 0; i < prec->ilContainers; i++) {
    zordatCont *pcont = &pzordat->pconts[i];
    pcont->iFd = -1;
    pcont->ilIndex = i;
    pcont->ilCachedExtent = -1;
    pcont->pcont = ficcontGetCont(prec, i);
    if (pcont->pcont == nullptr) {
      zordatDestroy(pzordat);
      *piCode = ORC_INVALID;
      return nullptr;
    }
    std::string strPath = _zordatText(pcont->pcont->pcharPath);
    pcont->pcFileName = zordatBuildContainerFilename(strPath.c_str(), pcExtension, ilObjId, prec->ilType);
    if (pcont->pcFileName == nullptr) {
      zordatDestroy(pzordat);
      *piCode = ZORDAT_RC_NOMEM;
      return nullptr;
    }
    if (prec->ilType == FICCONT_TYPE_DMS)
      pcont->llOffset = static_cast<int64_t>(prec->ilPageSize) * pcont->pcont->ilHeaderPages;
  }
  *piCode = 0;
  return pzordat;
}

zordat *zordatCreate(ficcont *pficcont, ficcont *pficcontLong, int32_t ilTbsId, int32_t ilObjId,
                     const char *pcUser, void *pReserved, int *piCode)
{
  (void)pReserved;
  int iDummy;
  if (piCode == nullptr) piCode = &iDummy;
  zordat *pzordat = _zordatNew(pficcont, ilTbsId, ilObjId, pcUser, ZORDAT_EXT_DAT, piCode);
  if (pzordat == nullptr) return nullptr;
  int iCode = 0;
  if (pzordat->ilType == FICCONT_TYPE_SMS) {
    pzordat->pzordatLF = _zordatNew(pficcont, ilTbsId, ilObjId, pcUser, ZORDAT_EXT_LF, &iCode);
    if (iCode == 0) pzordat->pzordatLOB = _zordatNew(pficcont, ilTbsId, ilObjId, pcUser, ZORDAT_EXT_LB, &iCode);
  } else {
    /* the ids of the long objects come from the object-table record when the data source opens */
    ficcont *plong = pficcontLong != nullptr ? pficcontLong : pficcont;
    int32_t ilLongTbs = pficcontLong != nullptr ? pficcontLong->sTbsId : ilTbsId;
    pzordat->pzordatLF = _zordatNew(plong, ilLongTbs, ilObjId, pcUser, nullptr, &iCode);
    if (iCode == 0) pzordat->pzordatLOB = _zordatNew(plong, ilLongTbs, ilObjId, pcUser, nullptr, &iCode);
  }
  if (iCode != 0) {
    zordatDestroy(pzordat);
    *piCode = iCode;
    return nullptr;
  }
  pzordat->ilFlags = ZORDAT_FLAG_LF | ZORDAT_FLAG_LOB;
  omsgsTrace("Access object: type %d, table space %d, object %d, %d containers", pzordat->ilType, ilTbsId,
             ilObjId, pzordat->ilContainers);
  *piCode = 0;
  return pzordat;
}

int32_t zordatDetermineType(zordat *pzordat)
{
  return pzordat != nullptr ? pzordat->ilType : 0;
}

int zordatLogical2Physical(zordat *pzordat, int32_t ilExtent, int32_t *pilCont, int32_t *pilExtentInCont)
{
  if (pzordat == nullptr) return ORC_INVALID;
  return ficcontLogical2Physical(pzordat->pficcont, pzordat->ilObjId, ilExtent, pilCont, pilExtentInCont);
}

/* Closes the cache descriptors of one access object; the caller holds its cache lock. */
static void _zordatCloseCache(zordat *pzordat)
{
  for (int32_t i = 0; i < pzordat->ilContainers; i++) {
    zordatCont *pcont = &pzordat->pconts[i];
    if (pcont->boOpen) _zordatClose(pzordat, pcont->iFd);
    pcont->boOpen = 0;
    pcont->iFd = -1;
    pcont->ilCachedExtent = -1;
  }
}

static void _zordatCloseAll(zordat *pzordat)
{
  if (pzordat == nullptr) return;
  pthread_mutex_lock(&pzordat->mutexCache);
  _zordatCloseCache(pzordat);
  pthread_mutex_unlock(&pzordat->mutexCache);
  _zordatCloseAll(pzordat->pzordatLF);
  _zordatCloseAll(pzordat->pzordatLOB);
}

void zordatCloseFiles(zorts *pzorts)
{
  if (pzorts != nullptr) _zordatCloseAll(pzorts->pzordat);
}

void zordatDestroy(zordat *pzordat)
{
  if (pzordat == nullptr) return;
  zordatDestroy(pzordat->pzordatLF);
  zordatDestroy(pzordat->pzordatLOB);
  if (pzordat->pconts != nullptr) {
    _zordatCloseCache(pzordat);
    for (int32_t i = 0; i < pzordat->ilContainers; i++) {
      free(pzordat->pconts[i].pcFileName);
      free(pzordat->pconts[i].pucExtent);
    }
  }
  free(pzordat->pconts);
  free(pzordat->pcUser);
  pthread_mutex_destroy(&pzordat->mutexCache);
  free(pzordat);
}

/* ----------------------------------------------------- read-absolute */

/* Brings extent ilExtentInCont of the container into its cache; the caller holds the cache lock. */
static int _zordatCacheExtent(zordat *pzordat, zordatCont *pcont, int32_t ilExtentInCont, int32_t ilX,
                              int32_t ilPageSize)
{
  if (pcont->boOpen && pcont->ilCachedExtent == ilExtentInCont) return 0;
  size_t ulExtentBytes = static_cast<size_t>(ilX) * ilPageSize;
  if (pcont->pucExtent == nullptr) {
    pcont->pucExtent = static_cast<unsigned char *>(malloc(ulExtentBytes));
    if (pcont->pucExtent == nullptr) return ZORDAT_RC_NOBUFFER;
  }
  if (!pcont->boOpen) {
    int iRc = _zordatOpen(pzordat, pcont, &pcont->iFd, &pcont->llFileSize, ZORDAT_RC_OPEN);
    if (iRc != 0) return iRc;
    pcont->boOpen = 1;
  }
  pcont->ilCachedExtent = -1;
  int64_t llPosition = pcont->llOffset + static_cast<int64_t>(ilExtentInCont) * static_cast<int64_t>(ulExtentBytes);
  int32_t ilPages = _zordatReadExtent(pzordat, pcont->iFd, pcont->llFileSize, llPosition,
                                      static_cast<int32_t>(ulExtentBytes), ilPageSize, pcont->pucExtent);
  if (ilPages < 0) return ZORDAT_RC_READ;
  pcont->ilCachedExtent = ilExtentInCont;
  pcont->ilCachedPages = ilPages;
  return 0;
}

unsigned char *zordatReadAbsDatPage(zorts *pzorts, uint32_t ulPage, unsigned char *pcBuffer, int32_t ilCount,
                                    int32_t ilFlags, int *piCode)
{
  int iDummy;
  if (piCode == nullptr) piCode = &iDummy;
  zordat *pzordat = pzorts != nullptr ? pzorts->pzordat : nullptr;
  if (pzordat == nullptr || ilCount < 1) {
    *piCode = ORC_INVALID;
    return nullptr;
  }
  const int32_t X = pzordat->pficcont->ilExtentSize, P = pzordat->pficcont->ilPageSize;
  int32_t ilInExtent = static_cast<int32_t>(ulPage % static_cast<uint32_t>(X));
  int32_t ilExtent = static_cast<int32_t>(ulPage / static_cast<uint32_t>(X));
  int32_t ilCont = -1, ilExtentInCont = -1;
  if (ilInExtent + ilCount > X || zordatLogical2Physical(pzordat, ilExtent, &ilCont, &ilExtentInCont) != 0 ||
      ilCont < 0 || ilCont >= pzordat->ilContainers) {
    omsgsTrace("Read-absolute of %d pages at %u: no mapping", ilCount, ulPage);
    *piCode = ORC_INVALID;
    return nullptr;
  }
  unsigned char *pucAllocated = nullptr;
  if (pcBuffer == nullptr) {
    pcBuffer = pucAllocated = static_cast<unsigned char *>(malloc(static_cast<size_t>(ilCount) * P));
    if (pcBuffer == nullptr) {
      *piCode = ZORDAT_RC_NOBUFFER;
      return nullptr;
    }
  }
  zordatCont *pcont = &pzordat->pconts[ilCont];
  pthread_mutex_lock(&pzordat->mutexCache);
  int iRc = _zordatCacheExtent(pzordat, pcont, ilExtentInCont, X, P);
  if (iRc == 0 && ilInExtent + ilCount > pcont->ilCachedPages) {
    omsgsTrace("Read-absolute at %u: container %d ends after %d pages of extent %d", ulPage, ilCont,
               pcont->ilCachedPages, ilExtentInCont);
    iRc = ZORDAT_RC_READ;
  }
  if (iRc == 0)
    memcpy(pcBuffer, pcont->pucExtent + static_cast<size_t>(ilInExtent) * P, static_cast<size_t>(ilCount) * P);
  pthread_mutex_unlock(&pzordat->mutexCache);
  if (iRc != 0) {
    free(pucAllocated);
    *piCode = iRc;
    return nullptr;
  }
  if (ilFlags & ZORTS_READ_RESTORE)
    for (int32_t i = 0; i < ilCount; i++) {
      unsigned char *pucPage = pcBuffer + static_cast<size_t>(i) * P;
      ficdb2RestaureBits(pucPage, P, pucPage + 36);
    }
  *piCode = 0;
  return pcBuffer;
}

/* ------------------------------------------------------- page sources */

int32_t zordatDataBuffers(const zordat *pzordat)
{
  if (pzordat == nullptr || pzordat->pficcont == nullptr) return 2;
  int32_t ilBuffers = 2 * std::max<int32_t>(pzordat->ilContainers, 1);
  int64_t llExtent = static_cast<int64_t>(pzordat->pficcont->ilExtentSize) * pzordat->pficcont->ilPageSize;
  if (llExtent > 0) ilBuffers = std::max<int32_t>(ilBuffers, static_cast<int32_t>(ZORDAT_AHEAD_BYTES / llExtent));
  return ilBuffers;
}

static zordatPS *_zordatPSNew(zorts *pzorts, int32_t ilBuffers)
{
  zordatPS *pps = static_cast<zordatPS *>(calloc(1, sizeof(zordatPS)));
  if (pps == nullptr) return nullptr;
  pps->pzorts = pzorts;
  pps->pzordat = pzorts->pzordat;
  pps->ilBuffers = ilBuffers;
  pthread_mutex_init(&pps->mutexFree, nullptr);
  pthread_mutex_init(&pps->mutexRead, nullptr);
  pthread_cond_init(&pps->condFree, nullptr);
  pthread_cond_init(&pps->condRead, nullptr);
  return pps;
}

static void _zordatPSFree(zordatPS *pps)
{
  zortsEmpIteratorDestroy(pps->pempIterator);
  free(pps->pucObjTabRecord);
  pthread_mutex_destroy(&pps->mutexFree);
  pthread_mutex_destroy(&pps->mutexRead);
  pthread_cond_destroy(&pps->condFree);
  pthread_cond_destroy(&pps->condRead);
  free(pps);
}

/* Geometry and slots of an online object from its access object's partition record. */
static void _zordatSetGeometry(zorts *pzorts)
{
  const ficcont *prec = pzorts->pzordat->pficcont;
  pzorts->iSource = ZORTS_SOURCE_ONLINE;
  pzorts->iType = prec->ilType;
  pzorts->ilExtentSize = prec->ilExtentSize;
  pzorts->ilPageSize = prec->ilPageSize;
  pzorts->ulTbsFlags = prec->ulFlags;
  if (pzorts->pfnReadAbs == nullptr) pzorts->pfnReadAbs = zordatReadAbsDatPage;
}

/* Reads object page 0 at ulPage and builds the table description from it. */
static int _zordatReadFirstPage(zorts *pzorts, uint32_t ulPage)
{
  int iRc = 0;
  unsigned char *pucPage = pzorts->pfnReadAbs(pzorts, ulPage, nullptr, 1, ZORTS_READ_RESTORE, &iRc);
  if (pucPage == nullptr) return iRc;
  iRc = zortsReadFirstPage(pzorts, pucPage, pzorts->pzordat->ilTbsId, pzorts->pzordat->ilObjId);
  free(pucPage);
  return iRc;
}

zordatPS *zordatOpenPSDat(zorts *pzorts, int32_t ilBuffers, int *piCode)
{
  int iDummy;
  if (piCode == nullptr) piCode = &iDummy;
  if (pzorts == nullptr || pzorts->pzordat == nullptr) {
    *piCode = ORC_INVALID;
    return nullptr;
  }
  zordat *pzordat = pzorts->pzordat;
  _zordatSetGeometry(pzorts);
  if (pzorts->pfnReadNext == nullptr) pzorts->pfnReadNext = zordatReadNextDat;
  if (ilBuffers < 1) ilBuffers = 2 * pzordat->ilContainers;
  zordatPS *pps = _zordatPSNew(pzorts, ilBuffers);
  if (pps == nullptr) {
    *piCode = ZORDAT_RC_NOMEM;
    return nullptr;
  }
  int iRc = 0;
  if (pzordat->ilType == FICCONT_TYPE_SMS) {
    omsgsTrace("Open SMS data source: file id %d", pzordat->ilObjId);
    iRc = _zordatReadFirstPage(pzorts, 0);
  } else {
    omsgsTrace("Open DMS data source: object %d", pzordat->ilObjId);
    iRc = zortsFindObjTabRecord(pzorts, pzordat->ilObjId, &pps->pucObjTabRecord);
    if (iRc == 0) {
      const unsigned char *pRec = pps->pucObjTabRecord;
      if (pRec[ZORTS_OBJTAB_OWNLONG] == 0) {
        /* the record names the table's long objects; object id 0: the table has none */
        if (pzordat->pzordatLF != nullptr) {
          pzordat->pzordatLF->ilTbsId = obyteGetLE16(pRec + ZORTS_OBJTAB_LF_TBSID);
          pzordat->pzordatLF->ilObjId = obyteGetLE16(pRec + ZORTS_OBJTAB_LF_OBJID);
          if (pzordat->pzordatLF->ilObjId == 0) pzordat->ilFlags &= ~ZORDAT_FLAG_LF;
        }
        if (pzordat->pzordatLOB != nullptr) {
          pzordat->pzordatLOB->ilTbsId = obyteGetLE16(pRec + ZORTS_OBJTAB_LOB_TBSID);
          pzordat->pzordatLOB->ilObjId = obyteGetLE16(pRec + ZORTS_OBJTAB_LOB_OBJID);
          if (pzordat->pzordatLOB->ilObjId == 0) pzordat->ilFlags &= ~ZORDAT_FLAG_LOB;
        }
      }
      pps->pempIterator = zortsEmpIteratorCreate(pzorts, obyteGetLE32(pRec + ZORTS_OBJTAB_DAT_EMP), &iRc);
      if (iRc == ZORTS_RC_ENDEMP) {
        /* no extent: the dispatcher will report the end at once */
        omsgsTrace("Object %d has no extent", pzordat->ilObjId);
        iRc = 0;
      } else if (iRc == 0) {
        int32_t iE = 0, iK = 0, ilEntries = 0;
        uint32_t ulLevel = 0;
        const unsigned char *pAllocs = nullptr;
        iRc = zortsEmpEntriesPerPage(pzorts->ilPageSize, &iE, &iK);
        if (iRc == 0)
          iRc = zortsEmpReadHeader(pps->pempIterator->pPage, pzorts->ilPageSize, iK, &ulLevel, &ilEntries, &pAllocs);
        if (iRc == 0 && ilEntries < 1) iRc = ZORTS_RC_ENDEMP;
        if (iRc == 0) iRc = _zordatReadFirstPage(pzorts, obyteGetLE32(pAllocs));
      }
    }
  }
  if (iRc != 0) {
    omsgsTrace("Data source of object %d not opened: 0x%x", pzordat->ilObjId, iRc);
    _zordatPSFree(pps);
    *piCode = iRc;
    return nullptr;
  }
  pzorts->pPageSource = pps;
  *piCode = 0;
  return pps;
}

static zordatPS *_zordatOpenPSLong(zorts *pzortsChild, int32_t ilBuffers, int32_t ilEmpOffset, int *piCode)
{
  int iDummy;
  if (piCode == nullptr) piCode = &iDummy;
  if (pzortsChild == nullptr || pzortsChild->pzordat == nullptr) {
    *piCode = ORC_INVALID;
    return nullptr;
  }
  zordat *pzordat = pzortsChild->pzordat;
  _zordatSetGeometry(pzortsChild);
  if (ilBuffers < 1) ilBuffers = 2 * pzordat->ilContainers;
  zordatPS *pps = _zordatPSNew(pzortsChild, ilBuffers);
  if (pps == nullptr) {
    *piCode = ZORDAT_RC_NOMEM;
    return nullptr;
  }
  int iRc = 0;
  if (pzordat->ilType == FICCONT_TYPE_DMS && pzordat->ilObjId != 0) {
    iRc = zortsFindObjTabRecord(pzortsChild, pzordat->ilObjId, &pps->pucObjTabRecord);
    if (iRc == 0) {
      pps->pempIterator =
          zortsEmpIteratorCreate(pzortsChild, obyteGetLE32(pps->pucObjTabRecord + ilEmpOffset), &iRc);
      if (iRc == ZORTS_RC_ENDEMP) iRc = 0;   /* an empty long object */
    }
  }
  if (iRc != 0) {
    omsgsTrace("Long object %d of table space %d not opened: 0x%x", pzordat->ilObjId, pzordat->ilTbsId, iRc);
    _zordatPSFree(pps);
    *piCode = iRc;
    return nullptr;
  }
  pzortsChild->pPageSource = pps;
  *piCode = 0;
  return pps;
}

zordatPS *zordatOpenPSLf(zordatPS *ppsDat, zorts *pzortsChild, int32_t ilBuffers, int *piCode)
{
  (void)ppsDat;
  return _zordatOpenPSLong(pzortsChild, ilBuffers, ZORTS_OBJTAB_LF_EMP, piCode);
}

zordatPS *zordatOpenPSLob(zordatPS *ppsDat, zorts *pzortsChild, int32_t ilBuffers, int *piCode)
{
  (void)ppsDat;
  return _zordatOpenPSLong(pzortsChild, ilBuffers, ZORTS_OBJTAB_LOB_EMP, piCode);
}

void zordatPSLobLfDestroy(zordatPS *pps)
{
  if (pps != nullptr) _zordatPSFree(pps);
}

/* ------------------------------------------------------------ posting */

static void _zordatPostReader(zordatReader *preader, zordatBuffer *pbuf)
{
  pthread_mutex_lock(&preader->mutex);
  if (pbuf != nullptr) ochaineAppend(preader->pchaineQueue, pbuf);
  preader->ilPosts++;
  pthread_cond_broadcast(&preader->cond);
  pthread_mutex_unlock(&preader->mutex);
}

static void _zordatPostRead(zordatPS *pps, zordatBuffer *pbuf)
{
  pthread_mutex_lock(&pps->mutexRead);
  if (pbuf != nullptr) ochaineAppend(pps->pchaineRead, pbuf);
  pps->ilReadPosts++;
  pthread_cond_broadcast(&pps->condRead);
  pthread_mutex_unlock(&pps->mutexRead);
}

static void _zordatPostFree(zordatPS *pps, zordatBuffer *pbuf)
{
  pthread_mutex_lock(&pps->mutexFree);
  if (pbuf != nullptr) ochaineAppend(pps->pchaineFree, pbuf);
  pps->ilFreePosts++;
  pthread_cond_broadcast(&pps->condFree);
  pthread_mutex_unlock(&pps->mutexFree);
}

/* Records the read list's end code (first one wins) and wakes the consumer. */
static void _zordatSetEnd(zordatPS *pps, int iCode)
{
  pthread_mutex_lock(&pps->mutexRead);
  if (pps->pchaineRead->pData == 0) pps->pchaineRead->pData = static_cast<uintptr_t>(static_cast<uint32_t>(iCode));
  pthread_cond_broadcast(&pps->condRead);
  pthread_mutex_unlock(&pps->mutexRead);
}

static void _zordatKillReaders(zordatPS *pps)
{
  for (int32_t j = 0; j < pps->ilReaders; j++) {
    if (!pps->preaders[j].boStarted) continue;
    omsgsTrace(" Post Kill Action for Reader tid %i", j);
    _zordatPostReader(&pps->preaders[j], nullptr);
  }
}

/* ---------------------------------------------------- reader thread */

static void *_zordatReaderMain(void *pArg)
{
  zordatReader *preader = static_cast<zordatReader *>(pArg);
  zordatPS *pps = preader->pps;
  zordat *pzordat = preader->pzordat;
  const int32_t n = pzordat->ilContainers;
  int *piFds = static_cast<int *>(malloc(sizeof(int) * static_cast<size_t>(n)));
  int64_t *pllSizes = static_cast<int64_t *>(calloc(static_cast<size_t>(n), sizeof(int64_t)));
  int iRc = piFds == nullptr || pllSizes == nullptr ? ZORDAT_RC_NOMEM : 0;
  for (int32_t i = 0; piFds != nullptr && i < n; i++) piFds[i] = -1;
  for (int32_t k = 0; iRc == 0 && k < preader->ilContCount; k++) {
    int32_t c = preader->pilConts[k];
    if (_zordatOpen(pzordat, &pzordat->pconts[c], &piFds[c], &pllSizes[c], ZORDAT_RC_READ) != 0) iRc = ZORDAT_RC_READ;
  }
  if (iRc != 0) {
    omsgsTrace(" Return in Thread_Io_Error");
    preader->iResult = ZORDAT_RC_READ;
    pthread_mutex_lock(&pps->mutexRead);
    if (pps->ilReadError == 0) pps->ilReadError = ZORDAT_RC_READ;
    pthread_cond_broadcast(&pps->condRead);
    pthread_mutex_unlock(&pps->mutexRead);
  }
  while (iRc == 0) {
    pthread_mutex_lock(&preader->mutex);
    while (preader->ilPosts == 0) _zordatTimedWait(&preader->cond, &preader->mutex);
    preader->ilPosts--;
    zordatBuffer *pbuf = static_cast<zordatBuffer *>(
        ochaineRemoveItem(preader->pchaineQueue, preader->pchaineQueue->pitemTop));
    pthread_mutex_unlock(&preader->mutex);
    if (pbuf == nullptr) {
      omsgsTrace("Action without buffer for container reader -> EOF");
      break;
    }
    int32_t c = pbuf->ilCont;
    pbuf->ilPagesRead = _zordatReadExtent(pzordat, piFds[c], pllSizes[c], pzordat->pconts[c].llOffset + pbuf->llOffset,
                                          pbuf->ilDataSize, pbuf->ilPageSize, _zordatData(pbuf));
    _zordatPostRead(pps, pbuf);
  }
  for (int32_t i = 0; piFds != nullptr && i < n; i++) _zordatClose(pzordat, piFds[i]);
  free(piFds);
  free(pllSizes);
  omsgsTrace("End Container reader pid = %d", static_cast<int>(getpid()));
  return nullptr;
}

/* ------------------------------------------------ dispatcher thread */

/* The next extent of the object: DMS from the extent map, SMS by counting. */
static int _zordatNextExtent(zordatPS *pps, int32_t *pilExtent)
{
  if (pps->pzordat->ilType == FICCONT_TYPE_DMS) {
    if (pps->pempIterator == nullptr) return ZORTS_RC_ENDEMP;
    uint32_t ulExtent = 0;
    int iRc = zortsGetNextExtentPos(pps->pzorts, pps->pempIterator, &ulExtent);
    if (iRc == 0) *pilExtent = static_cast<int32_t>(ulExtent);
    return iRc;
  }
  if (pps->ilNextExtent >= pps->ilExtents) {
    omsgsTrace("EOF detected");
    return ZORTS_RC_ENDEMP;
  }
  *pilExtent = pps->ilNextExtent++;
  return 0;
}

static void *_zordatDispatcherMain(void *pArg)
{
  zordatPS *pps = static_cast<zordatPS *>(pArg);
  int32_t ilCurrent = -1;
  int32_t ilOrdinal = 0;   /* place of the current extent in the object */
  int iRc = _zordatNextExtent(pps, &ilCurrent);
  if (iRc != 0) {
    omsgsTrace("Read Dispatcher found initial EOF");
    _zordatSetEnd(pps, iRc);
    omsgsTrace("Start killing reader");
    _zordatKillReaders(pps);
  }
  while (iRc == 0) {
    pthread_mutex_lock(&pps->mutexFree);
    while (pps->ilFreePosts == 0) _zordatTimedWait(&pps->condFree, &pps->mutexFree);
    zordatBuffer *pbuf = nullptr;
    bool boStop = pps->pchaineFree->pData != 0;
    if (!boStop) {
      pps->ilFreePosts--;
      pbuf = static_cast<zordatBuffer *>(ochaineRemoveItem(pps->pchaineFree, pps->pchaineFree->pitemTop));
    }
    pthread_mutex_unlock(&pps->mutexFree);
    if (boStop || pbuf == nullptr) {
      omsgsTrace("Stop Requested detected");
      _zordatSetEnd(pps, ZORDAT_RC_END);
      omsgsTrace("Start Reader Kill Posting");
      _zordatKillReaders(pps);
      break;
    }
    int32_t ilNext = -1;
    int iNext = _zordatNextExtent(pps, &ilNext);
    int32_t ilCont = -1, ilExtentInCont = -1;
    pbuf->ilPageSize = pps->pzorts->ilPageSize;
    pbuf->ilDataSize = pps->ilBufferSize;
    pbuf->ilPagesRead = pps->pzorts->ilExtentSize;
    pbuf->ilObjectExtent = ilOrdinal++;
    if (zordatLogical2Physical(pps->pzordat, ilCurrent, &ilCont, &ilExtentInCont) != 0 || ilCont < 0 ||
        ilCont >= pps->pzordat->ilContainers) {
      /* an extent the map has no container for: the consumer gets a read error */
      omsgsTrace("Extent %d has no container", ilCurrent);
      pbuf->ilCont = -1;
      pbuf->ilPagesRead = -1;
      _zordatPostRead(pps, pbuf);
    } else {
      pbuf->ilCont = ilCont;
      pbuf->llOffset = static_cast<int64_t>(ilExtentInCont) * pps->ilBufferSize;
      _zordatPostReader(pps->ppreaderByCont[ilCont], pbuf);
    }
    if (iNext != 0) {
      omsgsTrace("Notification of EOF");
      _zordatSetEnd(pps, iNext);
      _zordatKillReaders(pps);
      break;
    }
    ilCurrent = ilNext;
  }
  bool boActive = false;
  omsgsTrace("Wait for reader to die (nb = %d)", pps->ilReaders);
  for (int32_t j = 0; j < pps->ilReaders; j++) {
    zordatReader *preader = &pps->preaders[j];
    if (!preader->boStarted) continue;
    omsgsTrace("Before join Reader tid = %i", j);
    pthread_join(preader->tid, nullptr);
    preader->boStarted = 0;
    omsgsTrace("After join Reader tid = %i", j);
    if (preader->iResult == 0) {
      omsgsTrace("This One actually Read an Extend");
      boActive = true;
    }
  }
  if (!boActive) {
    omsgsTrace("No active reader had been found");
    _zordatSetEnd(pps, ZORDAT_RC_END);
    _zordatPostRead(pps, nullptr);
  }
  omsgsTrace("End Read Dispatcher: pid = %d", static_cast<int>(getpid()));
  return nullptr;
}

/* ------------------------------------------------ launch and destroy */

/* Frees the readers' queues, locks and container lists (threads already joined). */
static void _zordatFreeReaders(zordatPS *pps)
{
  for (int32_t j = 0; pps->preaders != nullptr && j < pps->ilReaders; j++) {
    zordatReader *preader = &pps->preaders[j];
    ochaineDestroy(preader->pchaineQueue);
    free(preader->pilConts);
    pthread_mutex_destroy(&preader->mutex);
    pthread_cond_destroy(&preader->cond);
  }
  free(pps->preaders);
  free(pps->ppreaderByCont);
  pps->preaders = nullptr;
  pps->ppreaderByCont = nullptr;
  pps->ilReaders = 0;
}

static void _zordatFreeLists(zordatPS *pps)
{
  free(pps->pbufCurrent);
  pps->pbufCurrent = nullptr;
  ochaineDestroy(pps->pchaineFree);
  ochaineDestroy(pps->pchaineRead);
  pps->pchaineFree = pps->pchaineRead = nullptr;
}

int zordatLaunchPS(zorts *pzorts)
{
  zordatPS *pps = pzorts != nullptr ? static_cast<zordatPS *>(pzorts->pPageSource) : nullptr;
  if (pps == nullptr || pps->boLaunched || pps->pzordat == nullptr) return ORC_INVALID;
  zordat *pzordat = pps->pzordat;
  const int32_t n = pzordat->ilContainers, X = pzorts->ilExtentSize, P = pzorts->ilPageSize;
  pps->pchaineFree = ochaineCreate(0, nullptr, nullptr);
  pps->pchaineRead = ochaineCreate(0, nullptr, nullptr);
  if (pps->pchaineFree == nullptr || pps->pchaineRead == nullptr) {
    _zordatFreeLists(pps);
    return ZORDAT_RC_NOMEM;
  }
  pps->ilFreePosts = pps->ilReadPosts = pps->ilReadError = 0;
  pps->ilNextExtent = 0;
  pps->ilExtents = pzorts->ilPageCount > 0 ? (pzorts->ilPageCount - 1) / X + 1 : 0;
  pps->ilBufferSize = X * P;
  for (int32_t i = 0; i < pps->ilBuffers; i++) {
    zordatBuffer *pbuf = static_cast<zordatBuffer *>(calloc(1, ZORDAT_BUFFER_HEAD + static_cast<size_t>(X) * P));
    if (pbuf == nullptr) {
      _zordatFreeLists(pps);
      return ZORDAT_RC_NOMEM;
    }
    pbuf->ilPageSize = P;
    pbuf->ilPagesRead = X;
    ochaineAppend(pps->pchaineFree, pbuf);
    pps->ilFreePosts++;
  }
  /* one reader per container, one for all containers of a remote partition */
  pps->ilReaders = pzordat->pficcont->ilRemote ? 1 : n;
  pps->preaders = static_cast<zordatReader *>(calloc(static_cast<size_t>(pps->ilReaders), sizeof(zordatReader)));
  pps->ppreaderByCont = static_cast<zordatReader **>(calloc(static_cast<size_t>(n), sizeof(zordatReader *)));
  if (pps->preaders == nullptr || pps->ppreaderByCont == nullptr) {
    free(pps->preaders);
    free(pps->ppreaderByCont);
    pps->preaders = nullptr;
    pps->ppreaderByCont = nullptr;
    pps->ilReaders = 0;
    _zordatFreeLists(pps);
    return ZORDAT_RC_NOMEM;
  }
  int iRc = 0;
  for (int32_t j = 0; j < pps->ilReaders; j++) {
    zordatReader *preader = &pps->preaders[j];
    preader->pzordat = pzordat;
    preader->pzorts = pzorts;
    preader->pps = pps;
    pthread_mutex_init(&preader->mutex, nullptr);
    pthread_cond_init(&preader->cond, nullptr);
    preader->pchaineQueue = ochaineCreate(0, nullptr, nullptr);
    preader->pilConts = static_cast<int32_t *>(calloc(static_cast<size_t>(n), sizeof(int32_t)));
    if (preader->pchaineQueue == nullptr || preader->pilConts == nullptr) iRc = ZORDAT_RC_NOMEM;
  }
  for (int32_t c = 0; iRc == 0 && c < n; c++) {
    zordatReader *preader = &pps->preaders[c % pps->ilReaders];
    preader->pilConts[preader->ilContCount++] = c;
    pps->ppreaderByCont[c] = preader;
  }
  for (int32_t j = 0; iRc == 0 && j < pps->ilReaders; j++) {
    zordatReader *preader = &pps->preaders[j];
    iRc = pthread_create(&preader->tid, nullptr, _zordatReaderMain, preader);
    if (iRc == 0) {
      preader->boStarted = 1;
      omsgsTrace("Created Thread Reader.. tid = %i", j);
    }
  }
  if (iRc == 0) iRc = pthread_create(&pps->tidDispatcher, nullptr, _zordatDispatcherMain, pps);
  if (iRc != 0) {
    omsgsTrace("Launch failed: %d", iRc);
    _zordatKillReaders(pps);
    for (int32_t j = 0; j < pps->ilReaders; j++)
      if (pps->preaders[j].boStarted) pthread_join(pps->preaders[j].tid, nullptr);
    _zordatFreeReaders(pps);
    _zordatFreeLists(pps);
    return iRc == ZORDAT_RC_NOMEM ? iRc : ORC_MAKE(0x115, 2, iRc & 0xFFF);
  }
  pps->boLaunched = 1;
  return 0;
}

void zordatPSDestroy(zordatPS *pps)
{
  if (pps == nullptr) return;
  if (pps->boLaunched) {
    omsgsTrace("Before lock mutexFree");
    pthread_mutex_lock(&pps->mutexFree);
    pps->ilFreePosts++;
    pps->pchaineFree->pData = 1;
    pthread_cond_broadcast(&pps->condFree);
    pthread_mutex_unlock(&pps->mutexFree);
    pthread_join(pps->tidDispatcher, nullptr);
    _zordatFreeReaders(pps);
    _zordatFreeLists(pps);
    pps->boLaunched = 0;
  }
  if (pps->pzordat != nullptr && pps->pzordat->ilType == FICCONT_TYPE_DMS) {
    pthread_mutex_lock(&pps->pzordat->mutexCache);
    _zordatCloseCache(pps->pzordat);
    pthread_mutex_unlock(&pps->pzordat->mutexCache);
  }
  if (pps->pzorts != nullptr && pps->pzorts->pPageSource == pps) pps->pzorts->pPageSource = nullptr;
  _zordatPSFree(pps);
  omsgsTrace("PSDestroy ended");
}

/* ------------------------------------------------------- consumer */

/*
** Takes the next filled buffer of the read list.  Returns 0 with the buffer,
** or the code that ends the reading: the end code once every buffer is
** back on the free list, or the read-error code of a reader that failed.
*/
static int _zordatTakeRead(zordatPS *pps, zordatBuffer **ppbuf)
{
  *ppbuf = nullptr;
  for (;;) {
    pthread_mutex_lock(&pps->mutexRead);
    int iEnd = static_cast<int>(static_cast<uint32_t>(pps->pchaineRead->pData));
    bool boPending = pps->ilReadPosts > 0;
    pthread_mutex_unlock(&pps->mutexRead);
    if (!boPending && iEnd != 0) {
      pthread_mutex_lock(&pps->mutexFree);
      bool boAllFree = pps->pchaineFree->iItemCount == pps->ilBuffers;
      pthread_mutex_unlock(&pps->mutexFree);
      if (boAllFree) return iEnd;
    }
    pthread_mutex_lock(&pps->mutexRead);
    if (pps->ilReadPosts == 0 && pps->ilReadError == 0 &&
        static_cast<int>(static_cast<uint32_t>(pps->pchaineRead->pData)) == iEnd)
      _zordatTimedWait(&pps->condRead, &pps->mutexRead);
    if (pps->ilReadPosts > 0) {
      pps->ilReadPosts--;
      zordatBuffer *pbuf = static_cast<zordatBuffer *>(ochaineRemoveItem(pps->pchaineRead, pps->pchaineRead->pitemTop));
      int iCode = pps->ilReadError != 0 ? pps->ilReadError
                                        : static_cast<int>(static_cast<uint32_t>(pps->pchaineRead->pData));
      pthread_mutex_unlock(&pps->mutexRead);
      if (pbuf != nullptr) {
        *ppbuf = pbuf;
        return 0;
      }
      return iCode != 0 ? iCode : ZORDAT_RC_END;   /* a bare post */
    }
    int iError = pps->ilReadError;
    pthread_mutex_unlock(&pps->mutexRead);
    if (iError != 0) return iError;
  }
}

unsigned char *zordatReadNextDat(zorts *pzorts, int *piCode)
{
  int iDummy;
  if (piCode == nullptr) piCode = &iDummy;
  zordatPS *pps = pzorts != nullptr ? static_cast<zordatPS *>(pzorts->pPageSource) : nullptr;
  if (pps == nullptr || !pps->boLaunched) {
    *piCode = ORC_INVALID;
    return nullptr;
  }
  for (;;) {
    zordatBuffer *pbuf = pps->pbufCurrent;
    if (pbuf != nullptr && pbuf->ilPagesLeft > 0 && !pbuf->boLastPage) {
      int64_t llPage = static_cast<int64_t>(pbuf->ilObjectExtent) * pzorts->ilExtentSize +
                       pbuf->ilNextOffset / pbuf->ilPageSize;
      if (pzorts->ilPageCount > 0 && llPage >= pzorts->ilPageCount) {
        pbuf->boLastPage = 1;   /* past the table's last page: the rest of the extent is not handed out */
        continue;
      }
      unsigned char *pucPage = _zordatData(pbuf) + pbuf->ilNextOffset;
      pbuf->ilNextOffset += pbuf->ilPageSize;
      pbuf->ilPagesLeft--;
      ficdb2RestaureBits(pucPage, pbuf->ilPageSize, pucPage + 36);
      pzorts->llPageExpected = llPage;
      pzorts->boPageExpected = 1;
      *piCode = 0;
      return pucPage;
    }
    if (pbuf != nullptr) {
      pps->pbufCurrent = nullptr;
      _zordatPostFree(pps, pbuf);
    }
    int iRc = _zordatTakeRead(pps, &pbuf);
    if (iRc != 0) {
      *piCode = iRc;
      return nullptr;
    }
    pps->pbufCurrent = pbuf;
    if (pbuf->ilPagesRead < 1) {
      /* a failed read, or a container that ends before the extent: its pages are missing */
      omsgsTrace("Extent of container %d at %lld not read (%d pages)", pbuf->ilCont,
                 static_cast<long long>(pbuf->llOffset), pbuf->ilPagesRead);
      pbuf->ilPagesLeft = 0;
      *piCode = ZORDAT_RC_READ;
      return nullptr;
    }
    pbuf->ilPagesLeft = pbuf->ilPagesRead;
    pbuf->ilNextOffset = 0;
    pbuf->boLastPage = 0;
  }
}
