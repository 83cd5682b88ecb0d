/*
** ficbackup.cpp
**   First-generation backup navigator (see ficbackup.h): a block walk of a
**   backup image that finds one table and the long-field and LOB objects of
**   an SMS table.  Every size read from the image is checked against the
**   image size before the walk steps over it.
*/
#include "storage/ficbackup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "common/obyte.h"
#include "common/oreason.h"
#include "model/tools.h"
#include "storage/ficcont.h"
#include "storage/zorbk.h"

#define OMSGS_TRACE_KEYWORD "$FICBACK"
#define OMSGS_DEBUG_KEYWORD "$FICBACKD"
#include "common/omsgsmod.h"

/* Eye-catchers, 14 bytes. */
#define FICBACKUP_EYE_LENGTH 14
static const char gacMedHead[] = "SQLUBRMEDHEAD ";
static const char gacObjHead[] = "SQLUBROBJHEAD ";
static const char gacCkTail[] = "SQLUBRCKTAIL  ";
static const char gacMhTail[] = "SQLUBRMHTAIL  ";

/* Object header fields. */
#define FICBACKUP_OH_DATASIZE  0x14
#define FICBACKUP_OH_WORD      0x18
#define FICBACKUP_OH_OBJID     0x1C
#define FICBACKUP_OH_TYPE      0x1E
#define FICBACKUP_OH_NAME      0x22
#define FICBACKUP_OH_NAMESIZE  146
#define FICBACKUP_OH_TBSID     0x12C

/* Table-space list entry. */
#define FICBACKUP_LOT_ID       20
#define FICBACKUP_LOT_TYPE     24

void ficbackupInitInfo(ficbackupInfo *pinfo)
{
  if (pinfo == nullptr) return;
  std::memset(pinfo, 0, sizeof *pinfo);
  pinfo->ilTid = pinfo->ilTbsType = pinfo->ilExtentSize = pinfo->ilPrefetchSize = -1;
  pinfo->ilNbPageInTbs = pinfo->ilNbPageUsableInTbs = pinfo->ilNbContInTbs = -1;
  pinfo->ilContListSize = pinfo->ilNbMapCbEntry = pinfo->ilPageSize = -1;
  pinfo->isFid = -1;
  pinfo->ilNbPage = -1;
  pinfo->ilObjSize = pinfo->offtMax = pinfo->offtData = pinfo->offtCurrent = -1;
  pinfo->iFd = -1;
}

void ficbackupFreeInfo(ficbackupInfo *pinfo)
{
  if (pinfo == nullptr) return;
  std::free(pinfo->pcBackupPath);
  std::free(pinfo->pcTbs);
  std::free(pinfo->pcQual);
  std::free(pinfo->pcTab);
  if (pinfo->iFd >= 0) close(pinfo->iFd);
  ficbackupInitInfo(pinfo);
}

void ficbackupReadInfo(const ficbackupInfo *pinfo, FILE *pfile)
{
  if (pinfo == nullptr) return;
  if (pfile == nullptr) pfile = stdout;
  auto text = [](const char *pc) { return pc != nullptr ? pc : "(null)"; };
  std::fprintf(pfile, "pInfo->pcBackupPath        = <%s>\n", text(pinfo->pcBackupPath));
  std::fprintf(pfile, "pInfo->pcTbs               = <%s>\n", text(pinfo->pcTbs));
  std::fprintf(pfile, "pInfo->ilTid               = <%ld>\n", static_cast<long>(pinfo->ilTid));
  std::fprintf(pfile, "pInfo->ilTbsType           = <%ld>\n", static_cast<long>(pinfo->ilTbsType));
  std::fprintf(pfile, "pInfo->ilExtentSize        = <%ld>\n", static_cast<long>(pinfo->ilExtentSize));
  std::fprintf(pfile, "pInfo->ilPrefetchSize      = <%ld>\n", static_cast<long>(pinfo->ilPrefetchSize));
  std::fprintf(pfile, "pInfo->ilNbPageInTbs       = <%ld>\n", static_cast<long>(pinfo->ilNbPageInTbs));
  std::fprintf(pfile, "pInfo->ilNbPageUsableInTbs = <%ld>\n", static_cast<long>(pinfo->ilNbPageUsableInTbs));
  std::fprintf(pfile, "pInfo->ilNbContInTbs       = <%ld>\n", static_cast<long>(pinfo->ilNbContInTbs));
  std::fprintf(pfile, "pInfo->ilContListSize      = <%ld>\n", static_cast<long>(pinfo->ilContListSize));
  std::fprintf(pfile, "pInfo->ilNbMapCbEntry      = <%ld>\n", static_cast<long>(pinfo->ilNbMapCbEntry));
  std::fprintf(pfile, "pInfo->ilPageSize          = <%ld>\n", static_cast<long>(pinfo->ilPageSize));
  std::fprintf(pfile, "pInfo->pcQual              = <%s>\n", text(pinfo->pcQual));
  std::fprintf(pfile, "pInfo->pcTab               = <%s>\n", text(pinfo->pcTab));
  std::fprintf(pfile, "pInfo->isFid               = <%d>\n", pinfo->isFid);
  std::fprintf(pfile, "pInfo->ilNbPage            = <%ld>\n", static_cast<long>(pinfo->ilNbPage));
  std::fprintf(pfile, "pInfo->ilObjSize           = <%lld>\n", static_cast<long long>(pinfo->ilObjSize));
  std::fprintf(pfile, "pInfo->offtMax             = <%lld>\n", static_cast<long long>(pinfo->offtMax));
}

/* Reads exactly llLength bytes at llPosition: 0, or ZORBK_RC_TRUNCATED. */
static int _ficbackupReadAt(int iFd, int64_t llPosition, void *pBuffer, int64_t llLength)
{
  unsigned char *puc = static_cast<unsigned char *>(pBuffer);
  int64_t llDone = 0;
  while (llDone < llLength) {
    ssize_t l = pread(iFd, puc + llDone, static_cast<size_t>(llLength - llDone),
                      static_cast<off_t>(llPosition + llDone));
    if (l < 0 && errno == EINTR) continue;
    if (l <= 0) return ZORBK_RC_TRUNCATED;
    llDone += l;
  }
  return 0;
}

/*
** Walks the blocks of the image from llStart; calls fnObject(header, data
** position, data size) for every object until it returns false.  Returns 0
** at the end of the image or when fnObject stopped, ZORBK_RC_TRUNCATED when
** an object runs past the end, or fnObject's failure in *piRc.
*/
static int _ficbackupWalk(ficbackupInfo *pinfo, int64_t llStart,
                          const std::function<bool(const unsigned char *, int64_t, int64_t)> &fnObject)
{
  unsigned char aucBlock[ZORBK_OBJHEAD_SIZE];
  int64_t llPosition = llStart;
  while (pinfo->offtMax - llPosition >= ZORBK_OBJHEAD_SIZE) {
    int rc = _ficbackupReadAt(pinfo->iFd, llPosition, aucBlock, ZORBK_OBJHEAD_SIZE);
    if (rc != 0) return rc;
    if (std::memcmp(aucBlock, gacObjHead, FICBACKUP_EYE_LENGTH) == 0) {
      int64_t llSize = obyteGetLE32(aucBlock + FICBACKUP_OH_DATASIZE);
      int64_t llData = llPosition + ZORBK_OBJHEAD_SIZE;
      if (pinfo->offtMax - llData < llSize) {
        omsgsTrace("object at %lld: %lld bytes past the end of the image\n",
                   static_cast<long long>(llPosition), static_cast<long long>(llSize));
        return ZORBK_RC_TRUNCATED;
      }
      if (!fnObject(aucBlock, llData, llSize)) return 0;
      llPosition = llData + llSize;
    } else if (std::memcmp(aucBlock, gacCkTail, FICBACKUP_EYE_LENGTH) == 0) {
      break;
    } else if (std::memcmp(aucBlock, gacMedHead, FICBACKUP_EYE_LENGTH) == 0) {
      llPosition += ZORBK_MEDIA_SIZE;
    } else if (std::memcmp(aucBlock, gacMhTail, FICBACKUP_EYE_LENGTH) == 0) {
      llPosition += ZORBK_OBJHEAD_SIZE;
    } else {
      int64_t q = (llPosition - ZORBK_MEDIA_SIZE) / FICBACKUP_BUFFER_SIZE;
      llPosition = ZORBK_MEDIA_SIZE + (q + 1) * FICBACKUP_BUFFER_SIZE;
    }
  }
  return 0;
}

/* A text field of n bytes without its trailing blanks and zero bytes. */
static std::string _ficbackupTrim(const unsigned char *puc, size_t n)
{
  std::string str(reinterpret_cast<const char *>(puc), n);
  size_t ulEnd = str.find('\0');
  if (ulEnd != std::string::npos) str.resize(ulEnd);
  while (!str.empty() && str.back() == ' ') str.pop_back();
  size_t ulStart = str.find_first_not_of(' ');
  return ulStart == std::string::npos ? std::string() : str.substr(ulStart);
}

int ficbackupGetBlocks(ficbackupInfo *pinfo)
{
  if (pinfo == nullptr || pinfo->pcBackupPath == nullptr || pinfo->pcTbs == nullptr ||
      pinfo->pcQual == nullptr || pinfo->pcTab == nullptr)
    return ORC_INVALID;
  int rc = 0;
  if (pinfo->iFd >= 0) close(pinfo->iFd);
  pinfo->iFd = toolsOpenFile(pinfo->pcBackupPath, &rc, 1);
  if (pinfo->iFd < 0) return rc;
  struct stat st;
  if (fstat(pinfo->iFd, &st) != 0) return ZORBK_RC_TRUNCATED;
  pinfo->offtMax = static_cast<int64_t>(st.st_size);
  unsigned char aucMedia[FICBACKUP_EYE_LENGTH];
  rc = _ficbackupReadAt(pinfo->iFd, 0, aucMedia, sizeof aucMedia);
  if (rc != 0) return rc;
  if (std::memcmp(aucMedia, gacMedHead, FICBACKUP_EYE_LENGTH) != 0) return ZORBK_RC_DAMAGED;

  const std::string strTbs = pinfo->pcTbs;
  int rcObject = 0;
  rc = _ficbackupWalk(pinfo, ZORBK_MEDIA_SIZE, [&](const unsigned char *pucHeader, int64_t llData, int64_t llSize) {
    int iType = pucHeader[FICBACKUP_OH_TYPE];
    int32_t ilTbsId = static_cast<int32_t>(obyteGetLE32(pucHeader + FICBACKUP_OH_TBSID));
    if (iType == ZORBK_OBJ_LOT || iType == ZORBK_OBJ_TBSDEF) {
      unsigned char *pucData = static_cast<unsigned char *>(std::calloc(1, llSize > 0 ? llSize : 1));
      if (pucData == nullptr) {
        rcObject = ORC_NOMEM;
        return false;
      }
      rcObject = _ficbackupReadAt(pinfo->iFd, llData, pucData, llSize);
      if (rcObject == 0 && iType == ZORBK_OBJ_LOT) {
        for (int64_t o = 0; llSize - o >= ZORBK_LOT_ENTRY_SIZE; o += ZORBK_LOT_ENTRY_SIZE)
          if (_ficbackupTrim(pucData + o, FICBACKUP_LOT_ID) == strTbs) {
            pinfo->ilTid = static_cast<int16_t>(obyteGetLE16(pucData + o + FICBACKUP_LOT_ID));
            pinfo->ilTbsType = static_cast<int32_t>(obyteGetLE32(pucData + o + FICBACKUP_LOT_TYPE));
          }
      } else if (rcObject == 0) {
        if (llSize < FICCONT_OFF_PAGESIZE + 4) {
          rcObject = ZORBK_RC_DAMAGED;
        } else if (_ficbackupTrim(pucData + FICCONT_OFF_NAME,
                                  static_cast<size_t>(FICCONT_OFF_FLAGS - FICCONT_OFF_NAME)) == strTbs) {
          auto field = [&](int iOffset) { return static_cast<int32_t>(obyteGetLE32(pucData + iOffset)); };
          pinfo->ilExtentSize = field(FICCONT_OFF_EXTENTSIZE);
          pinfo->ilPrefetchSize = field(FICCONT_OFF_PREFETCH);
          pinfo->ilNbPageInTbs = field(FICCONT_OFF_PAGES);
          pinfo->ilNbPageUsableInTbs = field(FICCONT_OFF_USABLE);
          pinfo->ilNbContInTbs = field(FICCONT_OFF_CONTAINERS);
          pinfo->ilContListSize = field(FICCONT_OFF_CONTLISTSIZE);
          pinfo->ilNbMapCbEntry = field(FICCONT_OFF_MAPCBCOUNT);
          pinfo->ilPageSize = field(FICCONT_OFF_PAGESIZE);
        }
      }
      std::free(pucData);
      return rcObject == 0;
    }
    if (iType == ZORBK_OBJ_SMS_DATA && ilTbsId == pinfo->ilTid && pinfo->isFid < 0) {
      std::string strName = _ficbackupTrim(pucHeader + FICBACKUP_OH_NAME, FICBACKUP_OH_NAMESIZE);
      size_t ulDot = strName.find('.');
      if (ulDot != std::string::npos && strName.substr(0, ulDot) == pinfo->pcQual &&
          strName.substr(ulDot + 1) == pinfo->pcTab) {
        pinfo->isFid = static_cast<int16_t>(obyteGetLE16(pucHeader + FICBACKUP_OH_OBJID));
        pinfo->ilNbPage = static_cast<int32_t>(obyteGetLE32(pucHeader + FICBACKUP_OH_WORD));
        pinfo->ilObjSize = llSize;
        pinfo->offtData = llData;
      }
    } else if (iType == ZORBK_OBJ_DMS_PAGES && ilTbsId == pinfo->ilTid && pinfo->offtData < 0) {
      pinfo->offtData = llData;
    }
    return true;
  });
  if (rc == 0) rc = rcObject;
  if (rc != 0) return rc;
  omsgsTrace("table space %s: id %d, type %d; table %s.%s: file id %d, data at %lld\n", pinfo->pcTbs,
             pinfo->ilTid, pinfo->ilTbsType, pinfo->pcQual, pinfo->pcTab, pinfo->isFid,
             static_cast<long long>(pinfo->offtData));
  if (pinfo->ilTid < 0 || pinfo->offtData < 0) return ZORBK_RC_NOTABLE;
  return 0;
}

/* Positions the image on the next object of type iType of the table from llStart. */
static int _ficbackupSeek(ficbackupInfo *pinfo, int iType, int64_t llStart, int64_t *pllSize)
{
  if (pinfo == nullptr || pinfo->iFd < 0 || pinfo->isFid < 0 || pllSize == nullptr) return ORC_INVALID;
  int64_t llFound = -1, llFoundSize = 0;
  int rc = _ficbackupWalk(pinfo, llStart, [&](const unsigned char *pucHeader, int64_t llData, int64_t llSize) {
    if (pucHeader[FICBACKUP_OH_TYPE] != iType ||
        static_cast<int32_t>(obyteGetLE32(pucHeader + FICBACKUP_OH_TBSID)) != pinfo->ilTid ||
        static_cast<int16_t>(obyteGetLE16(pucHeader + FICBACKUP_OH_OBJID)) != pinfo->isFid)
      return true;
    llFound = llData;
    llFoundSize = llSize;
    return false;
  });
  if (rc != 0) return rc;
  if (llFound < 0) return 1;
  if (lseek(pinfo->iFd, static_cast<off_t>(llFound), SEEK_SET) < 0) return ZORBK_RC_TRUNCATED;
  pinfo->offtCurrent = llFound + llFoundSize;
  *pllSize = llFoundSize;
  return 0;
}

int ficbackupSeekFirstLobSMS(ficbackupInfo *pinfo, int64_t *pllSize)
{
  return _ficbackupSeek(pinfo, ZORBK_OBJ_SMS_LOBKB, ZORBK_MEDIA_SIZE, pllSize);
}

int ficbackupSeekNextLobSMS(ficbackupInfo *pinfo, int64_t *pllSize)
{
  if (pinfo == nullptr || pinfo->offtCurrent < 0) return ficbackupSeekFirstLobSMS(pinfo, pllSize);
  return _ficbackupSeek(pinfo, ZORBK_OBJ_SMS_LOBKB, pinfo->offtCurrent, pllSize);
}

int ficbackupSeekFirstLfSMS(ficbackupInfo *pinfo, int64_t *pllSize)
{
  return _ficbackupSeek(pinfo, ZORBK_OBJ_SMS_LF, ZORBK_MEDIA_SIZE, pllSize);
}

int ficbackupSeekNextLfSMS(ficbackupInfo *pinfo, int64_t *pllSize)
{
  if (pinfo == nullptr || pinfo->offtCurrent < 0) return ficbackupSeekFirstLfSMS(pinfo, pllSize);
  return _ficbackupSeek(pinfo, ZORBK_OBJ_SMS_LF, pinfo->offtCurrent, pllSize);
}
