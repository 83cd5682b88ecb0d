/*
** orscs.cpp
**   The resource file: file header, block chain, dictionaries and the user
**   types kept in "__system", laid over a paged data object.  Every integer
**   written is big-endian (obyte.h).  Changes reach the disk through the
**   paged object's window write-back; every failure of the paged layer is
**   turned into a reason code (0x9800A I/O, 0x9800B beyond the size limit,
**   0x80001 no window) and travels up.  Messages go to the "$RSCS" trace.
*/
#include "common/orscs.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <vector>

#include "common/obyte.h"
#include "common/ochar.h"
#include "common/odict.h"
#include "common/olds.h"
#include "common/olist.h"
#include "common/omsgstab.h"
#include "common/ores.h"
#include "common/orestype.h"
#include "common/ostack.h"
#include "common/ostrdict.h"

#define OMSGS_TRACE_KEYWORD "$RSCS"
#define OMSGS_DEBUG_KEYWORD "$RSCSD"
#include "common/omsgsmod.h"

#define ORSCS_MAIN_SIZE   520u        /* main dictionary block of a new file */
#define ORSCS_EXT_MIN     480u        /* least entry room of an extension block */

int orscsSetTrace(int iOn)
{
  (void)iOn;
  return 0;
}

int _rscsPagedRc(int iRc)
{
  switch (iRc) {
    case 0: return 0;
    case OLDS_RANGE: return ORSCS_RC_RANGE;
    case OLDS_NOWIN: return ORES_RC_NOMEM;
    default: return ORSCS_RC_IO;
  }
}

static int _rscsWrite(orscs *prscs, uint32_t rba, uint32_t ulLength, const void *pv)
{
  return _rscsPagedRc(oldsWrite(prscs->plds, rba, ulLength, pv));
}

static int _rscsRead(orscs *prscs, uint32_t rba, uint32_t ulLength, void *pv)
{
  return _rscsPagedRc(oldsRead(prscs->plds, rba, ulLength, pv));
}

static void _rscsEncode6(unsigned char *p, const uint32_t *pul)
{
  for (int i = 0; i < 6; i++) obytePutBE32(p + 4 * i, pul[i]);
}

static void _rscsDecodeHeader(const unsigned char *p, orscsHeader *phdr)
{
  phdr->rbaEOF = obyteGetBE32(p);
  phdr->rbaLastBlk = obyteGetBE32(p + 4);
  phdr->ulNbOfRes = obyteGetBE32(p + 8);
  phdr->rbaMainDict = obyteGetBE32(p + 12);
  phdr->ulEyeCatcher = obyteGetBE32(p + 16);
  phdr->ulVersion = obyteGetBE32(p + 20);
}

static void _rscsEncodeHeader(unsigned char *p, const orscsHeader *phdr)
{
  const uint32_t aul[6] = {phdr->rbaEOF, phdr->rbaLastBlk, phdr->ulNbOfRes,
                           phdr->rbaMainDict, phdr->ulEyeCatcher, phdr->ulVersion};
  _rscsEncode6(p, aul);
}

static void _rscsEncodeBlock(unsigned char *p, const orscsBlockHeader *phdr)
{
  const uint32_t aul[6] = {phdr->rbaNextBlock, phdr->rbaPrevBlock, phdr->rbaOwner,
                           phdr->ulBlockSize, phdr->resType, phdr->ulData};
  _rscsEncode6(p, aul);
}

static void _rscsDecodeBlock(const unsigned char *p, orscsBlockHeader *phdr)
{
  phdr->rbaNextBlock = obyteGetBE32(p);
  phdr->rbaPrevBlock = obyteGetBE32(p + 4);
  phdr->rbaOwner = obyteGetBE32(p + 8);
  phdr->ulBlockSize = obyteGetBE32(p + 12);
  phdr->resType = obyteGetBE32(p + 16);
  phdr->ulData = obyteGetBE32(p + 20);
}

static int _rscsWriteFileHeader(orscs *prscs)
{
  unsigned char auc[ORSCS_HEADER_SIZE];
  _rscsEncodeHeader(auc, prscs->pheader);
  return _rscsWrite(prscs, 0, sizeof auc, auc);
}

int _rscsReadBlockHeader(orscs *prscs, uint32_t rba, orscsBlockHeader *phdr)
{
  if (rba == 0) return ORSCS_RC_RBA0;
  unsigned char auc[ORSCS_BLKHDR_SIZE];
  int rc = _rscsRead(prscs, rba, sizeof auc, auc);
  if (rc == 0) _rscsDecodeBlock(auc, phdr);
  return rc;
}

int orscsWriteResHead(orscs *prscs, uint32_t rba, orscsBlockHeader *phdr)
{
  if (prscs == nullptr || phdr == nullptr || rba == 0) return ORC_INVALID;
  unsigned char auc[ORSCS_BLKHDR_SIZE];
  _rscsEncodeBlock(auc, phdr);
  return _rscsWrite(prscs, rba, sizeof auc, auc);
}

/* Writes the 16-byte dictionary header of a block. */
static int _rscsWriteDictHeader(orscs *prscs, uint32_t rba, uint32_t rbaSuite, uint32_t ulTotal,
                                uint32_t ulNb, uint32_t ulOffset)
{
  unsigned char auc[16];
  obytePutBE32(auc, rbaSuite);
  obytePutBE32(auc + 4, ulTotal);
  obytePutBE32(auc + 8, ulNb);
  obytePutBE32(auc + 12, ulOffset);
  return _rscsWrite(prscs, rba + ORSCS_BLKHDR_SIZE, sizeof auc, auc);
}

static int _rscsSetSuite(orscs *prscs, uint32_t rba, uint32_t rbaSuite)
{
  unsigned char auc[4];
  obytePutBE32(auc, rbaSuite);
  return _rscsWrite(prscs, rba + ORSCS_BLKHDR_SIZE, 4, auc);
}

uint32_t _rscsReserveNewBlock(orscs *prscs, orscsBlockHeader *phdr, int *prc)
{
  int rcLocal;
  int &rc = prc ? *prc : rcLocal;
  orscsHeader *pfh = prscs->pheader;
  uint32_t rba = pfh->rbaEOF;
  if (static_cast<uint64_t>(rba) + phdr->ulBlockSize > 0xFFFFFFFFull) {
    rc = ORSCS_RC_RANGE;
    return 0;
  }
  phdr->rbaNextBlock = 0;
  phdr->rbaPrevBlock = pfh->rbaLastBlk;
  rc = orscsWriteResHead(prscs, rba, phdr);
  if (rc != 0) return 0;
  if (pfh->rbaLastBlk != 0) {
    orscsBlockHeader last;
    rc = _rscsReadBlockHeader(prscs, pfh->rbaLastBlk, &last);
    if (rc != 0) return 0;
    last.rbaNextBlock = rba;
    rc = orscsWriteResHead(prscs, pfh->rbaLastBlk, &last);
    if (rc != 0) return 0;
  }
  pfh->rbaEOF += phdr->ulBlockSize;
  pfh->ulNbOfRes++;
  pfh->rbaLastBlk = rba;
  rc = _rscsWriteFileHeader(prscs);
  return rc == 0 ? rba : 0;
}

int _rscsRemoveBlk(orscs *prscs, uint32_t rba)
{
  if (rba == 0) return ORSCS_RC_RBA0;
  orscsBlockHeader h, p;
  int rc = _rscsReadBlockHeader(prscs, rba, &h);
  if (rc != 0) return rc;
  if (h.rbaPrevBlock == 0) return ORC_INVALID;      /* the first block stays */
  rc = _rscsReadBlockHeader(prscs, h.rbaPrevBlock, &p);
  if (rc != 0) return rc;
  orscsHeader *pfh = prscs->pheader;
  if (rba == pfh->rbaLastBlk) {
    p.rbaNextBlock = 0;
    pfh->rbaLastBlk = h.rbaPrevBlock;
    pfh->rbaEOF = h.rbaPrevBlock + p.ulBlockSize;
  } else {
    p.rbaNextBlock = h.rbaNextBlock;
    orscsBlockHeader n;
    rc = _rscsReadBlockHeader(prscs, h.rbaNextBlock, &n);
    if (rc != 0) return rc;
    n.rbaPrevBlock = h.rbaPrevBlock;
    rc = orscsWriteResHead(prscs, h.rbaNextBlock, &n);
    if (rc != 0) return rc;
  }
  rc = orscsWriteResHead(prscs, h.rbaPrevBlock, &p);
  if (rc != 0) return rc;
  pfh->ulNbOfRes--;
  return _rscsWriteFileHeader(prscs);
}

/* --------------------------------------------------------- dictionaries */

static bool _rscsIsDictType(uint32_t resType)
{
  return (resType & 0x9FFF0000u) == ORSCS_DICT_TYPE;
}

static uint16_t _rscsDictCCSID(const oresdict *pdict)
{
  return static_cast<uint16_t>(pdict->ulFlags & 0xFFFF);
}

/* Name bytes between CCSID 850 (memory) and the dictionary's CCSID (file). */
static void _rscsTranslateName(uint16_t usFrom, uint16_t usTo, const void *pv, uint32_t ulLength, void *pvOut)
{
  if (ulLength == 0) return;
  if (usFrom == usTo) std::memcpy(pvOut, pv, ulLength);
  else ocharTranslateCopy(usFrom, usTo, pv, static_cast<int32_t>(ulLength), pvOut);
}

void _rscsFreeDict(oresdict *pdict)
{
  if (pdict == nullptr) return;
  olistDestroy(pdict->plistEntries);
  olistDestroy(pdict->plistBlocks);
  ostrdictDestroy(pdict->pstrdictNames);
  std::free(pdict);
}

void _rscsRemoveDictRef(oresdict *pdict)
{
  olist *plist = pdict->prscs->plistDicts;
  olistIterator iter;
  olistIteratorInit(&iter, plist);
  while (olistIteratorNext(&iter)) {
    if (olistIteratorGetRef(&iter) == pdict) {
      void *pnode = olistIteratorRemoveItem(&iter);
      olistDestroyItem(plist, pnode);
      break;
    }
  }
  olistIteratorDestroy(&iter);
}

static oresdictBlock *_rscsAddBlockRecord(oresdict *pdict, uint32_t rba, uint32_t rbaFree, uint32_t ulFree)
{
  oresdictBlock *pblk = static_cast<oresdictBlock *>(std::calloc(1, sizeof(oresdictBlock)));
  if (pblk == nullptr) return nullptr;
  pblk->rba = rba;
  pblk->rbaFree = rbaFree;
  pblk->ulFree = ulFree;
  olistAppend(pdict->plistBlocks, pblk);
  return pblk;
}

oresdict *_rscsLoadDict(orscs *prscs, uint32_t rba)
{
  if (prscs == nullptr || rba == 0) return nullptr;
  olistIterator iter;
  olistIteratorInit(&iter, prscs->plistDicts);
  while (olistIteratorNext(&iter)) {
    oresdict *pdict = static_cast<oresdict *>(olistIteratorGetRef(&iter));
    if (pdict->rba == rba) {
      olistIteratorDestroy(&iter);
      pdict->iRefCount++;
      return pdict;
    }
  }
  olistIteratorDestroy(&iter);

  orscsBlockHeader hdr;
  if (_rscsReadBlockHeader(prscs, rba, &hdr) != 0 || !_rscsIsDictType(hdr.resType)) return nullptr;
  if (hdr.ulBlockSize < ORSCS_DICTHDR_END) return nullptr;
  unsigned char aucDict[16];
  if (_rscsRead(prscs, rba + ORSCS_BLKHDR_SIZE, 16, aucDict) != 0) return nullptr;
  uint32_t ulTotal = obyteGetBE32(aucDict + 4);

  oresdict *pdict = static_cast<oresdict *>(std::calloc(1, sizeof(oresdict)));
  if (pdict == nullptr) return nullptr;
  pdict->rba = rba;
  pdict->resType = hdr.resType;
  pdict->prscs = prscs;
  pdict->ulFlags = hdr.ulData;
  pdict->iRefCount = 1;
  uint32_t ulHint = ulTotal < 0x100000u ? ulTotal + ulTotal / 4 : 0x140000u;
  pdict->pstrdictNames = ostrdictCreate(ulHint, 80);
  pdict->plistEntries = olistCreate(sizeof(oresdictEntry), nullptr, nullptr);
  pdict->plistBlocks = olistCreate(sizeof(oresdictBlock), nullptr, nullptr);
  if (pdict->pstrdictNames == nullptr || pdict->plistEntries == nullptr || pdict->plistBlocks == nullptr) {
    _rscsFreeDict(pdict);
    return nullptr;
  }

  uint16_t usCCSID = _rscsDictCCSID(pdict);
  uint32_t rbaBlock = rba;
  uint32_t ulSeen = 0;
  std::vector<unsigned char> content;
  while (rbaBlock != 0) {
    /* A chain longer than the file's block count is damage (a loop). */
    if (++ulSeen > prscs->pheader->ulNbOfRes + 1) goto damaged;
    if (_rscsReadBlockHeader(prscs, rbaBlock, &hdr) != 0 || hdr.ulBlockSize < ORSCS_DICTHDR_END ||
        static_cast<uint64_t>(rbaBlock) + hdr.ulBlockSize > prscs->pheader->rbaEOF)
      goto damaged;
    content.resize(hdr.ulBlockSize - ORSCS_BLKHDR_SIZE);
    if (_rscsRead(prscs, rbaBlock + ORSCS_BLKHDR_SIZE, static_cast<uint32_t>(content.size()), content.data()) != 0)
      goto damaged;
    {
      uint32_t rbaSuite = obyteGetBE32(content.data());
      uint32_t ulNb = obyteGetBE32(content.data() + 8);
      const unsigned char *p = content.data() + 16;
      const unsigned char *pEnd = content.data() + content.size();
      for (uint32_t i = 0; i < ulNb; i++) {
        if (pEnd - p < 5) goto damaged;
        uint32_t rbaNamed = obyteGetBE32(p);
        uint32_t ulLen = p[4];
        if (static_cast<uint32_t>(pEnd - p - 5) < ulLen) goto damaged;
        oresdictEntry *pentry = static_cast<oresdictEntry *>(std::calloc(1, sizeof(oresdictEntry)));
        if (pentry == nullptr) goto damaged;
        pentry->rba = rbaNamed;
        pentry->rbaEntry = rbaBlock + ORSCS_BLKHDR_SIZE + static_cast<uint32_t>(p - content.data());
        olistAppend(pdict->plistEntries, pentry);
        if (ulLen > 0) {
          char acName[256];
          _rscsTranslateName(usCCSID, 850, p + 5, ulLen, acName);
          if (ostrdictStoreFixed(pdict->pstrdictNames, acName, ulLen, pentry) != 0) goto damaged;
        }
        p += 5 + ulLen;
      }
      uint32_t rbaFree = rbaBlock + ORSCS_BLKHDR_SIZE + static_cast<uint32_t>(p - content.data());
      uint32_t rbaLimit = hdr.rbaNextBlock != 0 ? hdr.rbaNextBlock : rbaBlock + hdr.ulBlockSize;
      if (_rscsAddBlockRecord(pdict, rbaBlock, rbaFree, rbaLimit > rbaFree ? rbaLimit - rbaFree : 0) == nullptr)
        goto damaged;
      rbaBlock = rbaSuite;
    }
  }
  olistAppendRef(prscs->plistDicts, pdict, 0);
  return pdict;

damaged:
  omsgsTrace("orscs: dictionary at rba %u is damaged\n", rba);
  _rscsFreeDict(pdict);
  return nullptr;
}

/* Places a zero-filled dictionary block; returns its rba or 0 with *prc. */
static uint32_t _rscsPlaceDictBlock(orscs *prscs, uint32_t rbaOwner, uint32_t ulSize, uint32_t resType,
                                    uint32_t ulData, uint32_t ulOffset, int *prc)
{
  orscsBlockHeader hdr = {0, 0, rbaOwner, ulSize, resType, ulData};
  uint32_t rba = _rscsReserveNewBlock(prscs, &hdr, prc);
  if (rba == 0) return 0;
  std::vector<unsigned char> zeros(ulSize - ORSCS_BLKHDR_SIZE, 0);
  obytePutBE32(zeros.data() + 12, ulOffset);
  *prc = _rscsWrite(prscs, rba + ORSCS_BLKHDR_SIZE, static_cast<uint32_t>(zeros.size()), zeros.data());
  return *prc == 0 ? rba : 0;
}

oresdict *_rscsCreateDict(orscs *prscs, oresdict *pdictParent, uint32_t ulN, uint32_t ulFlags)
{
  if (ulN == 0) ulN = 20;
  int rc = 0;
  uint32_t rba = _rscsPlaceDictBlock(prscs, pdictParent ? pdictParent->rba : 0, 40 + 25 * ulN,
                                     ORSCS_DICT_TYPE, ulFlags, 16, &rc);
  if (rba == 0) return nullptr;
  oresdict *pdict = _rscsLoadDict(prscs, rba);
  if (pdict == nullptr) return nullptr;
  pdict->iRefCount = 1;
  pdict->pParent = pdictParent;
  return pdict;
}

/* End of the room a dictionary block may fill: its next block, or rbaEOF. */
static int _rscsBlockLimit(orscs *prscs, uint32_t rba, uint32_t *prbaLimit)
{
  orscsBlockHeader hdr;
  int rc = _rscsReadBlockHeader(prscs, rba, &hdr);
  if (rc != 0) return rc;
  *prbaLimit = hdr.rbaNextBlock != 0 ? hdr.rbaNextBlock : prscs->pheader->rbaEOF;
  return 0;
}

int _rscsAddDictKey(oresdict *pdict, const char *pcName, uint32_t ulLength, uint32_t rba,
                    oresdictEntry **ppentry)
{
  if (pdict == nullptr || pcName == nullptr || ulLength == 0 || ulLength > 255) return ORC_INVALID;
  orscs *prscs = pdict->prscs;
  uint32_t ulNeed = ulLength + 5;
  unsigned char aucEntry[260];
  obytePutBE32(aucEntry, rba);
  aucEntry[4] = static_cast<unsigned char>(ulLength);
  _rscsTranslateName(850, _rscsDictCCSID(pdict), pcName, ulLength, aucEntry + 5);

  int rc = 0;
  oresdictBlock *pblk = nullptr;
  olistIterator iter;
  olistIteratorInit(&iter, pdict->plistBlocks);
  while (olistIteratorNext(&iter)) {
    oresdictBlock *p = static_cast<oresdictBlock *>(olistIteratorGetItem(&iter));
    uint32_t rbaLimit = 0;
    if ((rc = _rscsBlockLimit(prscs, p->rba, &rbaLimit)) != 0) break;
    uint32_t ulFree = rbaLimit > p->rbaFree ? rbaLimit - p->rbaFree : 0;
    if (ulFree < p->ulFree) p->ulFree = ulFree;    /* the block's room has shrunk */
    if (p->ulFree >= ulNeed) {
      pblk = p;
      break;
    }
  }
  olistIteratorDestroy(&iter);
  if (rc != 0) return rc;

  orscsBlockHeader first;
  if ((rc = _rscsReadBlockHeader(prscs, pdict->rba, &first)) != 0) return rc;
  if (pblk == nullptr) {
    uint32_t ulSize = ORSCS_DICTHDR_END + (ulNeed > ORSCS_EXT_MIN ? ulNeed : ORSCS_EXT_MIN);
    uint32_t rbaExt = _rscsPlaceDictBlock(prscs, pdict->rba, ulSize, first.resType, first.ulData, 40, &rc);
    if (rbaExt == 0) return rc;
    oresdictBlock *plast = static_cast<oresdictBlock *>(pdict->plistBlocks->pitemBottom);
    if ((rc = _rscsSetSuite(prscs, plast->rba, rbaExt)) != 0) return rc;
    pblk = _rscsAddBlockRecord(pdict, rbaExt, rbaExt + ORSCS_DICTHDR_END, ulSize - ORSCS_DICTHDR_END);
    if (pblk == nullptr) return ORES_RC_NOMEM;
  }

  oresdictEntry *pentry = static_cast<oresdictEntry *>(std::calloc(1, sizeof(oresdictEntry)));
  if (pentry == nullptr) return ORES_RC_NOMEM;
  uint32_t rbaEntry = pblk->rbaFree;
  if ((rc = _rscsWrite(prscs, rbaEntry, ulNeed, aucEntry)) != 0) {
    std::free(pentry);
    return rc;
  }
  pblk->rbaFree += ulNeed;
  pblk->ulFree -= ulNeed;

  orscsBlockHeader hdr;
  unsigned char aucDict[16];
  if ((rc = _rscsReadBlockHeader(prscs, pblk->rba, &hdr)) == 0) {
    hdr.ulBlockSize = pblk->rbaFree - pblk->rba;
    rc = orscsWriteResHead(prscs, pblk->rba, &hdr);
  }
  if (rc == 0) rc = _rscsRead(prscs, pblk->rba + ORSCS_BLKHDR_SIZE, 16, aucDict);
  if (rc == 0) {
    obytePutBE32(aucDict + 8, obyteGetBE32(aucDict + 8) + 1);
    obytePutBE32(aucDict + 12, pblk->rbaFree - pblk->rba);
    if (pblk->rba == pdict->rba) obytePutBE32(aucDict + 4, obyteGetBE32(aucDict + 4) + 1);
    rc = _rscsWrite(prscs, pblk->rba + ORSCS_BLKHDR_SIZE, 16, aucDict);
  }
  if (rc == 0 && pblk->rba != pdict->rba) {
    unsigned char auc[4];
    rc = _rscsRead(prscs, pdict->rba + ORSCS_BLKHDR_SIZE + 4, 4, auc);
    if (rc == 0) {
      obytePutBE32(auc, obyteGetBE32(auc) + 1);
      rc = _rscsWrite(prscs, pdict->rba + ORSCS_BLKHDR_SIZE + 4, 4, auc);
    }
  }
  if (rc == 0) rc = ostrdictStoreFixed(pdict->pstrdictNames, pcName, ulLength, pentry);
  if (rc != 0) {
    std::free(pentry);
    return rc;
  }
  pentry->rba = rba;
  pentry->rbaEntry = rbaEntry;
  olistAppend(pdict->plistEntries, pentry);
  if (ppentry != nullptr) *ppentry = pentry;
  return 0;
}

int _rscsStoreDict(oresdict *pdict)
{
  if (pdict == nullptr) return ORES_RC_NOARG;
  orscs *prscs = pdict->prscs;
  uint16_t usCCSID = _rscsDictCCSID(pdict);

  struct Pending {
    oresdictEntry *pentry;
    const char *pcName;
    uint32_t ulLength;
  };
  std::vector<Pending> entries;
  odictcursor cursor;
  odictCursorInit(&cursor, pdict->pstrdictNames->pdict);
  for (; cursor.pentry != nullptr; odictCursorNext(&cursor)) {
    oresdictEntry *pentry = static_cast<oresdictEntry *>(odictCursorGetValue(&cursor));
    if (pentry == nullptr) continue;
    const char *pcName = reinterpret_cast<const char *>(odictCursorGetKey(&cursor));
    entries.push_back({pentry, pcName, onameGetLength(pcName)});
  }
  odictCursorDestroy(&cursor);
  uint32_t ulTotal = static_cast<uint32_t>(entries.size());

  /* The block list is rebuilt from the chain. */
  olistDestroy(pdict->plistBlocks);
  pdict->plistBlocks = olistCreate(sizeof(oresdictBlock), nullptr, nullptr);
  if (pdict->plistBlocks == nullptr) return ORES_RC_NOMEM;

  size_t iNext = 0;
  uint32_t rbaBlock = pdict->rba;
  uint32_t rbaPrev = 0;
  uint32_t ulSeen = 0;
  int rc = 0;
  orscsBlockHeader first;
  if ((rc = _rscsReadBlockHeader(prscs, pdict->rba, &first)) != 0) return rc;
  while (rbaBlock != 0 || iNext < entries.size()) {
    if (rbaBlock == 0) {
      uint32_t ulBytes = 0;
      for (size_t i = iNext; i < entries.size(); i++) ulBytes += entries[i].ulLength + 5;
      uint32_t ulSize = ORSCS_DICTHDR_END + (ulBytes > ORSCS_EXT_MIN ? ulBytes : ORSCS_EXT_MIN);
      rbaBlock = _rscsPlaceDictBlock(prscs, pdict->rba, ulSize, first.resType, first.ulData, 40, &rc);
      if (rbaBlock == 0) return rc;
      if ((rc = _rscsSetSuite(prscs, rbaPrev, rbaBlock)) != 0) return rc;
    }
    if (++ulSeen > prscs->pheader->ulNbOfRes + 1) return ORSCS_RC_IO;
    orscsBlockHeader hdr;
    unsigned char aucSuite[4];
    if ((rc = _rscsReadBlockHeader(prscs, rbaBlock, &hdr)) != 0) return rc;
    if ((rc = _rscsRead(prscs, rbaBlock + ORSCS_BLKHDR_SIZE, 4, aucSuite)) != 0) return rc;
    uint32_t rbaSuite = obyteGetBE32(aucSuite);
    uint32_t ulRoom = hdr.rbaNextBlock != 0 ? hdr.rbaNextBlock - rbaBlock : prscs->pheader->rbaEOF - rbaBlock;
    if (ulRoom < hdr.ulBlockSize) ulRoom = hdr.ulBlockSize;
    std::vector<unsigned char> bytes;
    uint32_t ulPlaced = 0;
    while (iNext < entries.size() &&
           ORSCS_DICTHDR_END + bytes.size() + entries[iNext].ulLength + 5 <= ulRoom) {
      const Pending &e = entries[iNext];
      size_t ulAt = bytes.size();
      bytes.resize(ulAt + 5 + e.ulLength);
      obytePutBE32(bytes.data() + ulAt, e.pentry->rba);
      bytes[ulAt + 4] = static_cast<unsigned char>(e.ulLength);
      _rscsTranslateName(850, usCCSID, e.pcName, e.ulLength, bytes.data() + ulAt + 5);
      e.pentry->rbaEntry = rbaBlock + ORSCS_DICTHDR_END + static_cast<uint32_t>(ulAt);
      ulPlaced++;
      iNext++;
    }
    uint32_t ulBytes = static_cast<uint32_t>(bytes.size());
    if (hdr.ulBlockSize < ORSCS_DICTHDR_END + ulBytes) hdr.ulBlockSize = ORSCS_DICTHDR_END + ulBytes;
    if ((rc = orscsWriteResHead(prscs, rbaBlock, &hdr)) != 0) return rc;
    if ((rc = _rscsWriteDictHeader(prscs, rbaBlock, rbaSuite, ulTotal, ulPlaced, ulBytes)) != 0) return rc;
    if (ulBytes > 0 && (rc = _rscsWrite(prscs, rbaBlock + ORSCS_DICTHDR_END, ulBytes, bytes.data())) != 0)
      return rc;
    uint32_t rbaFree = rbaBlock + ORSCS_DICTHDR_END + ulBytes;
    if (_rscsAddBlockRecord(pdict, rbaBlock, rbaFree, ulRoom - ORSCS_DICTHDR_END - ulBytes) == nullptr)
      return ORES_RC_NOMEM;
    rbaPrev = rbaBlock;
    rbaBlock = rbaSuite;
  }
  pdict->iModified = 0;
  return 0;
}

int _rscsRemoveDict(oresdict *pdict)
{
  orscs *prscs = pdict->prscs;
  _rscsRemoveDictRef(pdict);
  std::vector<uint32_t> blocks;
  olistIterator iter;
  olistIteratorInit(&iter, pdict->plistBlocks);
  while (olistIteratorNext(&iter)) blocks.push_back(static_cast<oresdictBlock *>(olistIteratorGetItem(&iter))->rba);
  olistIteratorDestroy(&iter);
  int rcFirst = 0;
  for (uint32_t rba : blocks) {
    int rc = _rscsRemoveBlk(prscs, rba);
    if (rc != 0 && rcFirst == 0) rcFirst = rc;
  }
  return rcFirst;
}

/* ------------------------------------------------------------ user types */

static int _rscsCollectUserType(orscs *prscs, int32_t iType, odict *pdictRegistry, bool *pboAdded)
{
  if (iType >= 0) return 0;
  if (odictLoad(prscs->pdictUserTypes, static_cast<uint32_t>(iType)) != nullptr) return 0;
  resTD *ptd = static_cast<resTD *>(odictLoad(pdictRegistry, static_cast<uint32_t>(iType)));
  if (ptd == nullptr) return ORES_RC_BADTYPE;
  resTD *pcopy = oresTypeClone(ptd);
  if (pcopy == nullptr) return ORES_RC_NOMEM;
  if (odictStore(prscs->pdictUserTypes, static_cast<uint32_t>(iType), pcopy) != 0) {
    oresTypeDestroy(pcopy);
    return ORES_RC_NOMEM;
  }
  *pboAdded = true;
  int n = ostackGetCount(pcopy->pstackMembers);
  for (int i = 0; i + 1 < n; i += 2) {
    int32_t iMember = static_cast<int32_t>(static_cast<uint32_t>(ostackGetAt(pcopy->pstackMembers, i)));
    int rc = _rscsCollectUserType(prscs, iMember, pdictRegistry, pboAdded);
    if (rc != 0) return rc;
  }
  return 0;
}

int _rscsStoreAllUserTypes(orscs *prscs)
{
  if (prscs->pdictUserTypes == nullptr || prscs->pdictSystem == nullptr) return 0;
  int rcFirst = 0;
  odictcursor cursor;
  odictCursorInit(&cursor, prscs->pdictUserTypes);
  for (; cursor.pentry != nullptr; odictCursorNext(&cursor)) {
    resTD *ptd = static_cast<resTD *>(odictCursorGetValue(&cursor));
    if (ptd == nullptr || ptd->pcName == nullptr) continue;
    int rc = ORES_RC_NOMEM;
    ores *pres = oresCreate(ORES_TYPE_TD, 100, 0);
    if (pres != nullptr) {
      rc = oresPut(pres, ORES_TYPE_TD, ptd);
      if (rc == 0) rc = oresStoreNamed(prscs->pdictSystem, ptd->pcName, pres);
      oresDestroy(pres);
    }
    if (rc != 0 && rcFirst == 0) rcFirst = rc;
  }
  odictCursorDestroy(&cursor);
  return rcFirst;
}

int _rscsStoreUserType(orscs *prscs, int32_t iType, odict *pdictRegistry)
{
  if (prscs == nullptr || pdictRegistry == nullptr) return ORES_RC_NOARG;
  bool boAdded = false;
  int rc = _rscsCollectUserType(prscs, iType, pdictRegistry, &boAdded);
  if (rc != 0) return rc;
  return boAdded ? _rscsStoreAllUserTypes(prscs) : 0;
}

/* --------------------------------------------------------- block content */

int _resStore(ores *pres)
{
  orscs *prscs = pres->prscs;
  if (prscs == nullptr) return ORES_RC_NOARG;
  orscsBlockHeader hdr = {0, 0, pres->pdict ? pres->pdict->rba : 0, ORSCS_BLKHDR_SIZE + pres->ulDataLength,
                          static_cast<uint32_t>(pres->resType), pres->ulFlags};
  int rc = 0;
  if (pres->rba != 0) {
    orscsBlockHeader old;
    if ((rc = _rscsReadBlockHeader(prscs, pres->rba, &old)) != 0) return rc;
    if (old.rbaNextBlock != 0 && hdr.ulBlockSize <= old.rbaNextBlock - pres->rba) {
      hdr.rbaNextBlock = old.rbaNextBlock;
      hdr.rbaPrevBlock = old.rbaPrevBlock;
      if ((rc = orscsWriteResHead(prscs, pres->rba, &hdr)) != 0) return rc;
    } else {
      rc = _rscsRemoveBlk(prscs, pres->rba);
      pres->rba = 0;
      if (rc != 0) return rc;
    }
  }
  if (pres->rba == 0) {
    uint32_t rba = _rscsReserveNewBlock(prscs, &hdr, &rc);
    if (rba == 0) return rc;
    pres->rba = rba;
  }
  if (pres->ulDataLength == 0) return 0;
  return _rscsWrite(prscs, pres->rba + ORSCS_BLKHDR_SIZE, pres->ulDataLength, pres->pData);
}

ores *_resLoad(orscs *prscs, uint32_t rba)
{
  orscsBlockHeader hdr;
  if (prscs == nullptr || _rscsReadBlockHeader(prscs, rba, &hdr) != 0) return nullptr;
  if (hdr.ulBlockSize < ORSCS_BLKHDR_SIZE ||
      static_cast<uint64_t>(rba) + hdr.ulBlockSize > prscs->pheader->rbaEOF) {
    omsgsTrace("orscs: block at rba %u has a size of %u beyond the used file\n", rba, hdr.ulBlockSize);
    return nullptr;
  }
  uint32_t ulSize = hdr.ulBlockSize - ORSCS_BLKHDR_SIZE;
  ores *pres = oresCreate(static_cast<int32_t>(hdr.resType), ulSize, hdr.ulData);
  if (pres == nullptr) return nullptr;
  if (ulSize > 0 && _rscsRead(prscs, rba + ORSCS_BLKHDR_SIZE, ulSize, pres->pData) != 0) {
    oresDestroy(pres);
    return nullptr;
  }
  pres->rba = rba;
  pres->prscs = prscs;
  pres->ulDataLength = ulSize;
  return pres;
}

/* ------------------------------------------------------------- the file */

static int _rscsValidate(const orscsHeader *phdr)
{
  if (phdr->ulEyeCatcher != ORSCS_EYECATCHER) return ORSCS_RC_NOTRSC;
  if (phdr->rbaEOF < phdr->rbaMainDict) return ORSCS_RC_BADEOF;
  if (phdr->rbaMainDict < ORSCS_HEADER_SIZE) return ORSCS_RC_BADEOF;
  return 0;
}

static int _rscsFormat(olds *plds)
{
  unsigned char auc[ORSCS_HEADER_SIZE + ORSCS_MAIN_SIZE] = {};
  const orscsHeader fh = {ORSCS_HEADER_SIZE + ORSCS_MAIN_SIZE, ORSCS_HEADER_SIZE, 1, ORSCS_HEADER_SIZE,
                          ORSCS_EYECATCHER, ORSCS_VERSION};
  _rscsEncodeHeader(auc, &fh);
  const orscsBlockHeader bh = {0, 0, 0, ORSCS_MAIN_SIZE, ORSCS_DICT_TYPE, ORES_DEFAULT_FLAGS};
  _rscsEncodeBlock(auc + ORSCS_HEADER_SIZE, &bh);
  obytePutBE32(auc + ORSCS_HEADER_SIZE + ORSCS_BLKHDR_SIZE + 12, 16);
  int rc = oldsWrite(plds, 0, sizeof auc, auc);
  if (rc == 0) rc = oldsFlush(plds);
  return _rscsPagedRc(rc);
}

static void _rscsFreeHandle(orscs *prscs)
{
  if (prscs->plistDicts != nullptr) {
    olistIterator iter;
    olistIteratorInit(&iter, prscs->plistDicts);
    while (olistIteratorNext(&iter)) _rscsFreeDict(static_cast<oresdict *>(olistIteratorGetRef(&iter)));
    olistIteratorDestroy(&iter);
    olistDestroy(prscs->plistDicts);
  }
  if (prscs->pdictUserTypes != nullptr) {
    odictcursor cursor;
    odictCursorInit(&cursor, prscs->pdictUserTypes);
    for (; cursor.pentry != nullptr; odictCursorNext(&cursor))
      oresTypeDestroy(static_cast<resTD *>(odictCursorGetValue(&cursor)));
    odictCursorDestroy(&cursor);
    odictDestroy(prscs->pdictUserTypes);
  }
  std::free(prscs->pheader);
  std::free(prscs);
}

/* Loads the user types of "__system": copies in the handle, registered without procedures. */
static int _rscsLoadUserTypes(orscs *prscs)
{
  prscs->pdictUserTypes = odictCreate(ostrdictGetCount(prscs->pdictSystem->pstrdictNames), 80);
  if (prscs->pdictUserTypes == nullptr) return ORES_RC_NOMEM;
  oresDictCursor cursor;
  int rc = 0;
  for (oresDictCursorInit(&cursor, prscs->pdictSystem); oresDictCursorGetName(&cursor) != nullptr;
       oresDictCursorNext(&cursor)) {
    if (oresDictCursorGetType(&cursor) != static_cast<uint32_t>(ORES_TYPE_TD)) continue;
    ores *pres = oresDictCursorLoad(&cursor);
    resTD *ptd = nullptr;
    if (pres != nullptr) {
      rc = 0;
      ptd = static_cast<resTD *>(oresGet(pres, ORES_TYPE_TD, nullptr, &rc));
      oresDestroy(pres);
    }
    if (ptd == nullptr || ptd->resType >= 0) {
      oresTypeDestroy(ptd);
      rc = ORSCS_RC_BADTD;
      break;
    }
    resTD *pold = static_cast<resTD *>(odictLoad(prscs->pdictUserTypes, static_cast<uint32_t>(ptd->resType)));
    oresTypeDestroy(pold);
    odictStore(prscs->pdictUserTypes, static_cast<uint32_t>(ptd->resType), ptd);
    resTD *pcopy = oresTypeClone(ptd);
    if (pcopy != nullptr) {
      int rcReg = oresTypeRegister(pcopy, ptd->resType, ptd->pcName, nullptr);
      if (rcReg != 0)
        omsgsTrace("orscs: stored type %8.8X '%s' not registered: 0x%x\n", static_cast<unsigned>(ptd->resType),
                   ptd->pcName ? ptd->pcName : "", static_cast<unsigned>(rcReg));
    }
    rc = 0;
  }
  oresDictCursorDestroy(&cursor);
  return rc;
}

/* Common end of the two openers: handle, main dictionary, "__system", user types. */
static orscs *_rscsOpenHandle(const char *pcPath, olds *plds, bool boFormatted)
{
  orscs *prscs = static_cast<orscs *>(std::calloc(1, sizeof(orscs)));
  orscsHeader *pheader = static_cast<orscsHeader *>(std::calloc(1, sizeof(orscsHeader)));
  olist *plist = olistCreateRef(nullptr, nullptr);
  if (prscs == nullptr || pheader == nullptr || plist == nullptr) {
    omsgsTrace(RSC0001E, "orscsCreate", "prscsResult", static_cast<int>(sizeof(orscs)));
    std::free(prscs);
    std::free(pheader);
    olistDestroy(plist);
    return nullptr;
  }
  prscs->pcPath = pcPath;
  prscs->plds = plds;
  prscs->pheader = pheader;
  prscs->plistDicts = plist;
  unsigned char auc[ORSCS_HEADER_SIZE];
  int rc = _rscsRead(prscs, 0, sizeof auc, auc);
  if (rc == 0) _rscsDecodeHeader(auc, pheader);
  if (rc == 0) prscs->pdictMain = _rscsLoadDict(prscs, pheader->rbaMainDict);
  if (prscs->pdictMain == nullptr) {
    _rscsFreeHandle(prscs);
    return nullptr;
  }
  if (boFormatted || !oresIsExist(prscs->pdictMain, ORSCS_SYSTEM_NAME)) {
    prscs->pdictSystem = oresCreateDict(prscs->pdictMain, ORSCS_SYSTEM_NAME, 0);
  } else {
    prscs->pdictSystem = oresLoadDict(prscs->pdictMain, ORSCS_SYSTEM_NAME);
  }
  if (prscs->pdictSystem == nullptr) {
    omsgsTrace("orscs: \"__system\" cannot be had: 0x%x\n", ORSCS_RC_NOSYSTEM);
    _rscsFreeHandle(prscs);
    return nullptr;
  }
  rc = _rscsLoadUserTypes(prscs);
  if (rc != 0) {
    omsgsTrace("orscs: a stored type descriptor cannot be read: 0x%x\n", static_cast<unsigned>(rc));
    _rscsFreeHandle(prscs);
    return nullptr;
  }
  return prscs;
}

orscs *orscsCreate(const char *pcPath, uint32_t ulMode, uint32_t ulCount)
{
  oresInitModule();
  if (gulInitialized != 0xACCEDEDu) return nullptr;
  bool boSmall = (ulMode & ORSCS_MODE_SMALL) != 0;
  int iType = static_cast<int>(ulMode & ~ORSCS_MODE_SMALL);
  olds *plds;
  if (iType == OLDS_TYPE_MEMORY) plds = oldsOpen(pcPath, iType, 0, boSmall ? 7 : 63, ulCount);
  else plds = oldsOpen(pcPath, iType, ulCount, boSmall ? 7 : 63, boSmall ? 0xFFFFFF : 0);
  if (plds == nullptr) {
    omsgsTrace(RSC0002E, pcPath ? pcPath : "(null)");
    return nullptr;
  }
  unsigned char auc[ORSCS_HEADER_SIZE];
  orscsHeader hdr{};
  int rcValid = _rscsPagedRc(oldsRead(plds, 0, sizeof auc, auc));
  if (rcValid == 0) {
    _rscsDecodeHeader(auc, &hdr);
    rcValid = _rscsValidate(&hdr);
  }
  bool boFormatted = false;
  if (rcValid != 0) {
    /* Only a file just made, or empty, is formatted: anything else may be a
       user's own file and is left as it is. */
    bool boEmpty = iType == OLDS_TYPE_MEMORY || (plds->ulFlags & OLDS_CREATED) != 0;
    struct stat st;
    if (!boEmpty && fstat(plds->iFd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0) boEmpty = true;
    if (!boEmpty) {
      omsgsTrace(RSC0003E, pcPath, static_cast<unsigned>(rcValid));
      oldsClose(plds);
      return nullptr;
    }
    int rc = _rscsFormat(plds);
    if (rc != 0) {
      omsgsTrace("orscs: formatting %s failed: 0x%x\n", pcPath ? pcPath : "(memory)", static_cast<unsigned>(rc));
      oldsClose(plds);
      return nullptr;
    }
    boFormatted = true;
  }
  orscs *prscs = _rscsOpenHandle(pcPath, plds, boFormatted);
  if (prscs == nullptr) oldsClose(plds);
  return prscs;
}

orscs *orscsCreateFromMem(void *pImage, uint32_t ulSize)
{
  oresInitModule();
  if (gulInitialized != 0xACCEDEDu || pImage == nullptr) return nullptr;
  olds *plds = oldsCreateFromMem(pImage, ulSize);
  if (plds == nullptr) {
    omsgsTrace(RSC0002E, "Memory File");
    return nullptr;
  }
  unsigned char auc[ORSCS_HEADER_SIZE];
  orscsHeader hdr{};
  int rc = _rscsPagedRc(oldsRead(plds, 0, sizeof auc, auc));
  if (rc == 0) {
    _rscsDecodeHeader(auc, &hdr);
    rc = _rscsValidate(&hdr);
  }
  orscs *prscs = rc == 0 ? _rscsOpenHandle("Memory File", plds, false) : nullptr;
  if (prscs == nullptr) {
    oldsDetachMemoryFile(plds);    /* a refused image stays the caller's */
    oldsClose(plds);
  }
  return prscs;
}

/* Stores the user types and the modified dictionaries; returns the first failure. */
static int _rscsCloseWrites(orscs *prscs)
{
  int rcFirst = _rscsStoreAllUserTypes(prscs);
  olistIterator iter;
  olistIteratorInit(&iter, prscs->plistDicts);
  while (olistIteratorNext(&iter)) {
    oresdict *pdict = static_cast<oresdict *>(olistIteratorGetRef(&iter));
    if (!pdict->iModified) continue;
    int rc = _rscsStoreDict(pdict);
    if (rc != 0 && rcFirst == 0) rcFirst = rc;
  }
  olistIteratorDestroy(&iter);
  return rcFirst;
}

int orscsDestroy(orscs *prscs)
{
  if (prscs == nullptr) return 0;
  int rc = _rscsCloseWrites(prscs);
  int rcClose = _rscsPagedRc(oldsClose(prscs->plds));
  if (rc == 0) rc = rcClose;
  if (rc != 0) omsgsTrace("orscs: closing %s: 0x%x\n", prscs->pcPath ? prscs->pcPath : "", static_cast<unsigned>(rc));
  _rscsFreeHandle(prscs);
  return rc;
}

void *orscsExportAndDestroy(orscs *prscs, uint32_t *pulUsed, uint32_t *pulSecond)
{
  if (prscs == nullptr) return nullptr;
  if (prscs->plds->iType != OLDS_TYPE_MEMORY) {
    orscsDestroy(prscs);
    return nullptr;
  }
  int rc = _rscsCloseWrites(prscs);
  uint32_t ulUsed = prscs->pheader->rbaEOF;
  void *pImage = oldsDetachMemoryFile(prscs->plds);
  oldsClose(prscs->plds);
  _rscsFreeHandle(prscs);
  if (rc != 0) {
    std::free(pImage);
    return nullptr;
  }
  if (pulUsed != nullptr) *pulUsed = ulUsed;
  if (pulSecond != nullptr) *pulSecond = 0;
  return pImage;
}

orscsArray *orscsCreateArray(orscs *prscs, oresdict *pdictParent, uint32_t ulN, uint32_t ulFlags,
                             uint32_t ulExtra)
{
  if (prscs == nullptr) return nullptr;
  if (ulN == 0) ulN = 25;
  if (ulN > 0x3FFFFFF0u) return nullptr;
  orscsBlockHeader hdr = {0, 0, pdictParent ? pdictParent->rba : 0, 44 + 4 * ulN, ORSCS_ARRAY_TYPE, ulFlags};
  int rc = 0;
  uint32_t rba = _rscsReserveNewBlock(prscs, &hdr, &rc);
  if (rba == 0) return nullptr;
  orscsArray *parray = static_cast<orscsArray *>(std::calloc(1, sizeof(orscsArray) + 4 * static_cast<size_t>(ulN)));
  if (parray == nullptr) return nullptr;
  parray->rba = rba;
  parray->resType = ORSCS_ARRAY_TYPE;
  parray->pParent = pdictParent;
  parray->ulFlags = ulFlags;
  parray->ulSlots = ulN;
  parray->pulSlots = reinterpret_cast<uint32_t *>(parray + 1);
  parray->ulExtra = ulExtra;
  return parray;
}

/* ------------------------------------------------------------------ dump */

__attribute__((format(printf, 2, 3)))
static void _rscsPrint(FILE *pfile, const char *pcFormat, ...)
{
  va_list va;
  va_start(va, pcFormat);
  omsgsVDumpTo(pfile, gpzcFileDebug, pcFormat, va);
  va_end(va);
}

static void *_rscsP(uint32_t ul)
{
  return reinterpret_cast<void *>(static_cast<uintptr_t>(ul));
}

static void _rscsHexDump(orscs *prscs, FILE *pfile, uint32_t rba, uint32_t ulLength)
{
  unsigned char auc[16];
  for (uint32_t ulAt = 0; ulAt < ulLength; ulAt += 16) {
    uint32_t n = ulLength - ulAt < 16 ? ulLength - ulAt : 16;
    if (_rscsRead(prscs, rba + ulAt, n, auc) != 0) return;
    char acLine[128];
    int iPos = std::snprintf(acLine, sizeof acLine, "%8p : ", _rscsP(rba + ulAt));
    for (uint32_t i = 0; i < 16; i++) {
      if (i < n) iPos += std::snprintf(acLine + iPos, sizeof acLine - iPos, "%2.2X ", auc[i]);
      else iPos += std::snprintf(acLine + iPos, sizeof acLine - iPos, "   ");
    }
    for (uint32_t i = 0; i < n; i++) acLine[iPos++] = (auc[i] < 0x20 || auc[i] >= 0x80) ? '.' : static_cast<char>(auc[i]);
    acLine[iPos] = '\0';
    _rscsPrint(pfile, "%s\n", acLine);
  }
}

int orscsDump(orscs *prscs, FILE *pfile)
{
  if (prscs == nullptr) return ORES_RC_NOARG;
  unsigned char auc[ORSCS_HEADER_SIZE];
  orscsHeader fh{};
  if (_rscsRead(prscs, 0, sizeof auc, auc) != 0) return ORSCS_RC_IO;
  _rscsDecodeHeader(auc, &fh);
  _rscsPrint(pfile, "RSCS Header ============\n");
  _rscsPrint(pfile, "rbaEOF       :%8p \n", _rscsP(fh.rbaEOF));
  _rscsPrint(pfile, "rbaLastBlk   :%8p \n", _rscsP(fh.rbaLastBlk));
  _rscsPrint(pfile, "ulNbOfRes    :%8p \n", _rscsP(fh.ulNbOfRes));
  _rscsPrint(pfile, "rbaMainDict  :%8p \n", _rscsP(fh.rbaMainDict));
  _rscsPrint(pfile, "ulEyeCatcher :%8p \n", _rscsP(fh.ulEyeCatcher));
  _rscsPrint(pfile, "ulVersion    :%8p \n", _rscsP(fh.ulVersion));
  _rscsPrint(pfile, "End RSCS Header =========\n\n");
  uint32_t ulSeen = 0;
  for (uint32_t rba = fh.rbaMainDict; rba != 0 && ulSeen++ <= fh.ulNbOfRes;) {
    orscsBlockHeader h;
    if (_rscsReadBlockHeader(prscs, rba, &h) != 0 || h.ulBlockSize < ORSCS_BLKHDR_SIZE) break;
    _rscsPrint(pfile, "\nBlock ================== : %8p\n", _rscsP(rba));
    _rscsPrint(pfile, "rbaNextBlock : %8p\n", _rscsP(h.rbaNextBlock));
    _rscsPrint(pfile, "rbaPrevBlock : %8p\n", _rscsP(h.rbaPrevBlock));
    _rscsPrint(pfile, "rbaOwner     : %8p\n", _rscsP(h.rbaOwner));
    _rscsPrint(pfile, "ulBlockSize  : %8p\n", _rscsP(h.ulBlockSize));
    _rscsPrint(pfile, "resType      : %8p\n", _rscsP(h.resType));
    _rscsPrint(pfile, "ulData       : %8p\n", _rscsP(h.ulData));
    _rscsHexDump(prscs, pfile, rba + ORSCS_BLKHDR_SIZE, h.ulBlockSize - ORSCS_BLKHDR_SIZE);
    uint32_t ulRoom = h.rbaNextBlock != 0 && h.rbaNextBlock > rba ? h.rbaNextBlock - rba : h.ulBlockSize;
    if (ulRoom > h.ulBlockSize) {
      _rscsPrint(pfile, "\nFreeSpace ============== : %8p\n", _rscsP(ulRoom - h.ulBlockSize));
      _rscsHexDump(prscs, pfile, rba + h.ulBlockSize, ulRoom - h.ulBlockSize);
    }
    if (h.resType == ORSCS_DICT_TYPE && h.ulBlockSize >= ORSCS_DICTHDR_END) {
      std::vector<unsigned char> content(h.ulBlockSize - ORSCS_BLKHDR_SIZE);
      if (_rscsRead(prscs, rba + ORSCS_BLKHDR_SIZE, static_cast<uint32_t>(content.size()), content.data()) == 0) {
        uint32_t ulNb = obyteGetBE32(content.data() + 8);
        _rscsPrint(pfile, "\nDictBlock ============== \n");
        _rscsPrint(pfile, "rbaSuite         : %8p\n", _rscsP(obyteGetBE32(content.data())));
        _rscsPrint(pfile, "ulNbEntry        : %i\n", static_cast<int>(ulNb));
        _rscsPrint(pfile, "ulNbTotalEntry   : %i\n", static_cast<int>(obyteGetBE32(content.data() + 4)));
        _rscsPrint(pfile, "ulOffsetFreeSpace: %8p\n", _rscsP(obyteGetBE32(content.data() + 12)));
        uint16_t usCCSID = static_cast<uint16_t>(h.ulData & 0xFFFF);
        const unsigned char *p = content.data() + 16;
        const unsigned char *pEnd = content.data() + content.size();
        for (uint32_t i = 0; i < ulNb && pEnd - p >= 5 && pEnd - p - 5 >= p[4]; i++) {
          uint32_t ulLen = p[4];
          ochar name;
          if (ocharInitFromFixed(&name, p + 5, static_cast<int32_t>(ulLen), usCCSID) == 0 && name.pcData != nullptr) {
            if (usCCSID != 850) ocharConvert(&name, 850);
            if (pfile != nullptr) ocharDump2(0, &pfile, &name, 4);
            else ocharPrintServices(&name, gpzcFileDebug);
            if (name.usFlags & OCHAR_OWNED) std::free(name.pcData);
          }
          _rscsPrint(pfile, "Rba : %8p\n", _rscsP(obyteGetBE32(p)));
          p += 5 + ulLen;
        }
      }
    } else if (!_rscsIsDictType(h.resType) && h.resType != ORSCS_ARRAY_TYPE) {
      ores *pres = _resLoad(prscs, rba);
      if (pres != nullptr) {
        oresDumpFormated(pres, nullptr, pfile, 0);
        oresDestroy(pres);
      }
    }
    rba = h.rbaNextBlock;
  }
  return 0;
}
