/*
** zorurunsel.cpp
**   Direct-read SELECT child and its reader and writer processes (see
**   zorurunsel.h for the process design).  Everything is built in the SELECT
**   child before the first fork; each reader and writer process works on its
**   own copy and ends with exit(result), so the SELECT child sees the low
**   eight bits of the result.
*/
#include "run/zorurunsel.h"
#include "run/zorurun.h"

#include "model/osysibm.h"
#include "common/obf.h"
#include "common/ochar.h"
#include "common/olist.h"
#include "common/omsgs.h"
#include "common/oreason.h"
#include "common/osignal.h"
#include "common/ovf.h"
#include "model/zormsgs.h"
#include "model/config.h"
#include "io/db2util.h"
#include "model/part.h"
#include "model/stats.h"
#include "model/token.h"
#include "model/tools.h"
#include "model/udb.h"
#include "model/zoratom.h"
#include "model/zortask.h"
#include "expr/zornode.h"
#include "expr/zornodeeval.h"
#include "model/oconvert.h"
#include "model/orow.h"
#include "run/zor3unload.h"
#include "io/zor3write.h"
#include "run/zorurunconv.h"
#include "storage/ficcont.h"
#include "storage/ficdata.h"
#include "storage/zorts.h"

#include <sys/ipc.h>
#include <sys/mman.h>
#include <sys/sem.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#define OMSGS_TRACE_KEYWORD "$URUN"
#define OMSGS_DEBUG_KEYWORD nullptr
#include "common/omsgsmod.h"

/* Semaphore sets of the run: owner and group only, as every other SysV object of it. */
#define SEL_IPC_MODE 0660


/* ------------------------------------------------------------- atoms */

static zoratom *_selAtom(zortask *ptask, int iToken)
{
  return zortaskDetermineAtom(ptask, gapnameTotalToken[iToken]);
}

/* Integer value of an atom, iDefault when absent or not a number. */
static int32_t _selInteger(zortask *ptask, int iToken, int32_t iDefault)
{
  zoratom *patom = _selAtom(ptask, iToken);
  if (patom == nullptr) return iDefault;
  switch (patom->iKind) {
  case ZORATOM_INTEGER:
  case ZORATOM_TYPE: return patom->value.iValue;
  case ZORATOM_SHORT: return patom->value.usShort;
  case ZORATOM_BYTE: return patom->value.ucByte;
  default: return iDefault;
  }
}

/* True when the keyword's value is YES. */
static bool _selYes(zortask *ptask, int iToken)
{
  return static_cast<uint32_t>(_selInteger(ptask, iToken, 0)) == ZORURUN_LOCAL_YES;
}

/* ------------------------------------------------------- read entry */

/* The partition read driver. */
static int _selReadDefault(const char *pcUser, int32_t ilObid, zorurunReader *preader)
{
  return unloadTableDB2Seq(pcUser, ilObid, preader);
}

static zorurunReadEntry gpfnReadEntry = _selReadDefault;

zorurunReadEntry _zorurunSetReadEntry(zorurunReadEntry pfn)
{
  zorurunReadEntry pfnOld = gpfnReadEntry;
  gpfnReadEntry = pfn != nullptr ? pfn : _selReadDefault;
  return pfnOld;
}

/* ------------------------------------------------------------- pairs */

/* The writers' buffer size: the configuration's bufsize, else the built-in default. */
static int64_t _selWriterBuffer(void)
{
  int32_t *pilBuffer = static_cast<int32_t *>(configUseItem(CONFIG_ITEM_BUFSIZE, 1));
  int64_t llBuffer = pilBuffer != nullptr && *pilBuffer > 0 ? *pilBuffer : ZORWRITE_DEFAULT_BUFSIZE;
  std::free(pilBuffer);
  return llBuffer;
}

zorurunPair *_zorurunCreatePair(zorurunReader *preader, zorurunWriter *pwriter)
{
  zortask *ptask = preader != nullptr ? preader->ptaskSelect : (pwriter != nullptr ? pwriter->ptaskSelect : nullptr);
  const ficdataTableDesc *pdesc = nullptr;
  if (preader != nullptr && preader->punload != nullptr && preader->punload->ppart != nullptr) {
    part *pitem = preader->punload->ppart;
    pdesc = pitem->pzorts != nullptr ? &pitem->pzorts->tbdesc : static_cast<const ficdataTableDesc *>(pitem->pTableDesc);
  }
  int64_t llLength = _selInteger(ptask, TOKEN_MAXBUFFER_MAIN, 0);
  if (pdesc != nullptr) llLength = std::max<int64_t>(llLength, 2 * static_cast<int64_t>(ficdataSizeEnreg(pdesc)));
  if (llLength <= 0 || llLength > 0x7FFFFFF0) {
    omsgsFMTEDO(ZORU363E, std::strerror(EINVAL));
    return nullptr;
  }
  zorurunPair *ppair = static_cast<zorurunPair *>(std::calloc(1, sizeof(zorurunPair)));
  if (ppair == nullptr) {
    omsgsFMTEDO(ZORU363E, std::strerror(ENOMEM));
    return nullptr;
  }
  ppair->preader = preader;
  ppair->pwriter = pwriter;
  ppair->ilBufferLen = static_cast<int32_t>(llLength);
  int iErr = 0;
  /* The channel itself takes an eighth of the writer's buffer size, up to
     ZORURUN_CHANNEL_MIN, when that is more: the sides hand halves over, and each
     hand-over costs semaphore operations and a wake-up. */
  int64_t llChannel = std::max<int64_t>(ppair->ilBufferLen, std::min<int64_t>(ZORURUN_CHANNEL_MIN, _selWriterBuffer() / 8));
  ppair->povf = ovfCreate(static_cast<int>(llChannel), _selInteger(ptask, TOKEN_MAXRECORD_MAIN, 0), &iErr);
  if (ppair->povf == nullptr) {
    omsgsFMTEDO(ZORU363E, std::strerror(iErr));
    std::free(ppair);
    return nullptr;
  }
  zoratom *patom = _selAtom(ptask, TOKEN_WHERE);
  if (patom != nullptr && patom->iKind == ZORATOM_ZORNODE && patom->value.pnode != nullptr) {
    ppair->pnodeWhere = patom->value.pnode;
    ppair->pctxEval = zornodeEvalCreateSized(zornodeGetTreeDepth(ppair->pnodeWhere, 0) + 1,
                                             zornodeEvalStringRoom(ppair->pnodeWhere));
  }
  return ppair;
}

void _zorurunDestroyPair(zorurunPair *ppair)
{
  if (ppair == nullptr) return;
  /* A channel still set belongs to no group (groups destroy their members). */
  if (ppair->povf != nullptr) ovfDestroy(ppair->povf);
  /* The evaluation context lives as long as the process that uses it. */
  std::free(ppair);
}

/* ------------------------------------------------------------ readers */

zorurunReader *_zorurunCreateReader(zorcontrol *pcontrol, zortask *ptaskSelect, part *pitem)
{
  zorurunReader *preader = static_cast<zorurunReader *>(std::calloc(1, sizeof(zorurunReader)));
  if (preader == nullptr) return nullptr;
  preader->pcontrol = pcontrol;
  preader->ptaskSelect = ptaskSelect;
  preader->ilPartition = pitem != nullptr ? pitem->ilPart : -1;
  preader->iSemId = -1;
  preader->punload = unloadCreate(pitem, ptaskSelect, _selInteger(ptaskSelect, TOKEN_LONGCOL, 0));
  if (preader->punload == nullptr) {
    std::free(preader);
    return nullptr;
  }
  if (_selAtom(ptaskSelect, TOKEN_LOBFILE) != nullptr) {
    preader->ulFlags |= ZORURUN_READER_LOBFILE;
    uint32_t ulType = ZORWRITE_LOB;
    if (_selInteger(ptaskSelect, TOKEN_LLS, 0) == 1) ulType |= ZORWRITE_LLS;
    preader->pwriteLob = writeCreate(ulType, preader->ilPartition, nullptr, 0, nullptr, ptaskSelect);
  }
  return preader;
}

void _zorurunDestroyReaderList(zorurunReader *preaderFirst)
{
  while (preaderFirst != nullptr) {
    zorurunReader *preaderNext = preaderFirst->preaderNext;
    writeDestroy(preaderFirst->pwriteLob);
    unloadDestroy(preaderFirst->punload);
    std::free(preaderFirst->appair);
    std::free(preaderFirst);
    preaderFirst = preaderNext;
  }
}

void _zorurunDestroyWriterList(zorurunWriter *pwriterFirst)
{
  while (pwriterFirst != nullptr) {
    zorurunWriter *pwriterNext = pwriterFirst->pwriterNext;
    if (pwriterFirst->pgroup != nullptr) {
      /* The group destroys its members: their pairs no longer hold them. */
      for (int32_t i = 0; i < pwriterFirst->iPairCount; i++) pwriterFirst->appair[i]->povf = nullptr;
      ovfGroupDestroy(pwriterFirst->pgroup);
    }
    writeDestroy(pwriterFirst->pwrite);
    std::free(pwriterFirst->appair);
    std::free(pwriterFirst);
    pwriterFirst = pwriterNext;
  }
}

/* ---------------------------------------------------- reader process */

/* P (-1) or V (+1) on the serialization semaphore; undone by the system when
   the process ends, so that a reader killed between the two holds nobody up. */
static void _selSemop(int iSemId, short sOp)
{
  if (iSemId < 0) return;
  struct sembuf sb = {0, sOp, SEM_UNDO};
  while (semop(iSemId, &sb, 1) != 0 && errno == EINTR) {
  }
}

/* Marks whether the reader may hold its table's quiesce, for its SELECT child. */
static void _selHeld(zorurunReader *preader, int64_t llHeld)
{
  if (preader->pllHeld != nullptr) __atomic_store_n(preader->pllHeld, llHeld, __ATOMIC_SEQ_CST);
}

int _zorurunRunReadChild(zorurunReader *preader)
{
  struct timeval tvBeg, tvEnd;
  statsRecupTimeBeg(&tvBeg);
  zortask *ptask = preader->ptaskSelect;
  bool boBackup = _selAtom(ptask, TOKEN_BACKUP) != nullptr;
  SQLHENV henv = 0;
  SQLHDBC hdbc = 0;
  int iRc = 0;
  int iQuiesce = 0;
  if (!boBackup) {
    _selSemop(preader->iSemId, -1);
    /* held from here: a reader ended inside the call may have left it */
    _selHeld(preader, 1);
    iQuiesce = db2utilQuiesceLock(ptask, preader->ilPartition, &henv, &hdbc);
    /* a failed call leaves nothing to reset; under LOCK NO it released it again */
    if (iQuiesce != 0 || !_selYes(ptask, TOKEN_LOCK)) _selHeld(preader, 0);
  }
  if (iQuiesce != 0) {
    for (int32_t i = 0; i < preader->iPairCount; i++)
      if (preader->appair[i]->povf != nullptr) ovfWrite(preader->appair[i]->povf, nullptr, 0);
    _selSemop(preader->iSemId, +1);
    iRc = iQuiesce;
  } else {
    const char *pcUser = "";
    zoratom *patomUser = _selAtom(ptask, TOKEN_INSTANCE_USER);
    if (patomUser != nullptr && patomUser->iKind == ZORATOM_OCHAR && patomUser->value.pchar != nullptr)
      pcUser = _charText(patomUser->value.pchar);
    int32_t ilObid = 0;
    zoratom *patomTable = _selAtom(ptask, TOKEN_SYSTABLE);
    if (patomTable != nullptr && patomTable->value.pValue != nullptr)
      ilObid = static_cast<const osysibmSystables *>(patomTable->value.pValue)->sOBID;
    iRc = gpfnReadEntry(pcUser, ilObid, preader) != 0 ? ZORURUN_RC_READ : 0;
    unloadDestroy(preader->punload);
    preader->punload = nullptr;
    if (!boBackup) {
      /* a quiesce that cannot be released fails the partition's read */
      int iRcReset = db2utilResetQuiesce(ptask, preader->ilPartition, iRc);
      if (iRc == 0) iRc = iRcReset;
      _selHeld(preader, 0);
      _selSemop(preader->iSemId, +1);
    }
  }
  if (preader->pwriteLob != nullptr) {
    /* the last LOB file is written here: its failure (ZORU455E) fails the read */
    int iFlush = writeFlush(preader->pwriteLob);
    int iClose = writeClose(preader->pwriteLob);
    if ((iFlush != 0 || iClose != 0) && iRc == 0) iRc = ZORURUN_RC_READ;
    writeDestroy(preader->pwriteLob);
    preader->pwriteLob = nullptr;
  }
  if (henv != 0) db2utilDisconnect(&henv, &hdbc);
  statsRecupTimeEnd(&tvEnd);
  statsCalculTrace("Read Child", 0, &tvBeg, &tvEnd);
  return iRc;
}

/* ------------------------------------------------------ end of a SELECT */

/* The text of a name atom of the SELECT (qualifier, table) for a message:
   its bytes and their count, "" when the SELECT has none. */
static const char *_selNameText(zortask *ptaskSelect, int iToken, int *pilLength)
{
  zoratom *patom = ptaskSelect != nullptr ? _selAtom(ptaskSelect, iToken) : nullptr;
  if (patom == nullptr || patom->iKind != ZORATOM_OCHAR || patom->value.pchar == nullptr ||
      patom->value.pchar->pcData == nullptr) {
    *pilLength = 0;
    return "";
  }
  *pilLength = static_cast<int>(patom->value.pchar->ilBU);
  return _charText(patom->value.pchar);
}

int _zorurunReportSelectEnd(zortask *ptaskSelect, const zorurunSelectCounts *pcounts, const char *pcFile)
{
  if (pcounts == nullptr) return 0;
  int ilQualifier = 0, ilTable = 0;
  const char *pcQualifier = _selNameText(ptaskSelect, TOKEN_TBQUALIFIER, &ilQualifier);
  const char *pcTable = _selNameText(ptaskSelect, TOKEN_TBNAME, &ilTable);
  if (pcFile == nullptr) pcFile = "stdout";
  int iRc = 0;
  if (pcounts->llRowsNotConverted > 0) {
    omsgsFMTEDO(ZORU461W, static_cast<long long>(pcounts->llRowsNotConverted), ilQualifier, pcQualifier, ilTable,
                pcTable, pcFile, static_cast<long long>(pcounts->llFirstNotConverted));
    iRc = oreasonWorse(iRc, ZORURUN_RC_ROWSLOST);
  }
  if (pcounts->llValuesCut > 0) {
    omsgsFMTEDO(ZORU462W, static_cast<long long>(pcounts->llValuesCut), ilQualifier, pcQualifier, ilTable, pcTable,
                pcFile, static_cast<long long>(pcounts->llFirstCut));
    iRc = oreasonWorse(iRc, ZORURUN_RC_LOBCUT);
  }
  if (pcounts->llReplaced > 0) {
    omsgsFMTEDO(ZORU480W, static_cast<long long>(pcounts->llReplaced), ilQualifier, pcQualifier, ilTable, pcTable,
                pcFile, static_cast<long long>(pcounts->llFirstReplaced));
    iRc = oreasonWorse(iRc, ZORURUN_RC_REPLACED);
  }
  return iRc;
}

/* ---------------------------------------------------- writer process */

/* Asks every producer of the group to stop and reads the group to its end. */
static void _selDrain(ovfgroup *pgroup, char *pcBuffer, int iSize)
{
  ovfGroupStop(pgroup);
  for (;;) {
    int iLen = 0;
    int iRc = ovfGroupRead(pgroup, pcBuffer, iSize, &iLen);
    if (iRc == OVF_RC_LOST) continue;
    if (iRc != 0 || iLen == 0) break;
  }
}

int _zorurunRunWriteChild(zorurunWriter *pwriter)
{
  struct timeval tvBeg, tvEnd;
  statsRecupTimeBeg(&tvBeg);
  zortask *ptask = pwriter->ptaskSelect;
  int32_t ilSize = _selInteger(ptask, TOKEN_MAXDB2LEN, 0);
  for (int32_t i = 0; i < pwriter->iPairCount; i++) ilSize = std::max(ilSize, pwriter->appair[i]->ilBufferLen);
  if (ilSize <= 0) ilSize = 4;
  char *pcRecord = static_cast<char *>(std::malloc(static_cast<size_t>(ilSize)));
  int iRc = 0;
  if (pcRecord == nullptr) iRc = ORC_NOMEM;
  if (iRc == 0) iRc = writeOpen(pwriter->pwrite);
  if (iRc != 0) {
    if (pcRecord != nullptr) _selDrain(pwriter->pgroup, pcRecord, ilSize);
    ovfGroupDestroy(pwriter->pgroup);
    pwriter->pgroup = nullptr;
    for (int32_t i = 0; i < pwriter->iPairCount; i++) pwriter->appair[i]->povf = nullptr;
    std::free(pcRecord);
    writeDestroy(pwriter->pwrite);
    pwriter->pwrite = nullptr;
    return iRc;
  }

  zorwrite *pwrite = pwriter->pwrite;
  int iRcWrite = 0;
  zorurunSelectCounts counts{};
  zoratom *patomHeader = _selAtom(ptask, TOKEN_HEADER_IXF);
  if (patomHeader != nullptr && patomHeader->iKind == ZORATOM_OCHAR && patomHeader->value.pchar != nullptr)
    iRcWrite = writeSetFileHeader(pwrite, _charText(patomHeader->value.pchar), patomHeader->value.pchar->ilBU);

  oconvert *pconvert = nullptr;
  zoratom *patomConv = _selAtom(ptask, TOKEN_CONVERTER);
  if (patomConv != nullptr && patomConv->iKind == ZORATOM_CONVERTER) pconvert = patomConv->value.pconvert;
  if (pconvert == nullptr) {
    omsgsTrace("Write Child: no row converter");
    iRcWrite = iRcWrite != 0 ? iRcWrite : ORC_INVALID;
  }

  if (iRcWrite != 0) {
    /* Nothing can be written: the readers are stopped as for a limit. */
    _selDrain(pwriter->pgroup, pcRecord, ilSize);
  } else {
    /* the rows are converted on several threads and written in record order, each
       into at most six times the largest record */
    iRcWrite = zorurunconvRun(pconvert, ilSize, 6 * ilSize, _selWriterBuffer(), pwriter->pgroup, pwrite,
                              zorurunconvWorkers(), &counts);
  }

  /* what was written before the first failure still reaches the file; the
     first failure (the pool's, then the flush's, then the close's) is the
     writer's code */
  int iRcFlush = writeFlush(pwrite);
  iRc = iRcWrite != 0 ? iRcWrite : iRcFlush;
  int iRcClose = writeClose(pwrite);
  if (iRc == 0) iRc = iRcClose;
  /* the rows left out are told even when the file failed */
  iRc = oreasonWorse(iRc, _zorurunReportSelectEnd(ptask, &counts, pwrite->pcFileName));
  writeDestroy(pwrite);
  pwriter->pwrite = nullptr;
  std::free(pcRecord);
  for (int32_t i = 0; i < pwriter->iPairCount; i++) pwriter->appair[i]->povf = nullptr;
  ovfGroupDestroy(pwriter->pgroup);
  pwriter->pgroup = nullptr;
  statsRecupTimeEnd(&tvEnd);
  statsCalculTrace("Write Child", 0, &tvBeg, &tvEnd);
  return iRc;
}

/* ------------------------------------------------------- SELECT child */

/* Lists under construction. */
struct selLists {
  std::vector<zorurunReader *> vreaders;
  std::vector<zorurunWriter *> vwriters;
  std::vector<zorurunPair *> vpairs;
  std::map<int32_t, zorurunReader *> mapReaders;   /* partition -> its reader */
};

static void _selFreeLists(selLists &lists)
{
  for (zorurunWriter *pwriter : lists.vwriters) {
    pwriter->pwriterNext = nullptr;
    _zorurunDestroyWriterList(pwriter);
  }
  for (zorurunPair *ppair : lists.vpairs) _zorurunDestroyPair(ppair);
  for (zorurunReader *preader : lists.vreaders) {
    preader->preaderNext = nullptr;
    _zorurunDestroyReaderList(preader);
  }
  lists = selLists();
}

static zorurunWriter *_selNewWriter(selLists &lists, zorcontrol *pcontrol, zortask *ptask, uint32_t ulType,
                                    int32_t ilPart, udbOutFile *pout, ochar *pcharHost)
{
  zorurunWriter *pwriter = static_cast<zorurunWriter *>(std::calloc(1, sizeof(zorurunWriter)));
  if (pwriter == nullptr) return nullptr;
  pwriter->pcontrol = pcontrol;
  pwriter->ptaskSelect = ptask;
  pwriter->pwrite = writeCreate(ulType, ilPart, pout, 0, pcharHost, ptask);
  lists.vwriters.push_back(pwriter);
  return pwriter;
}

static void _selDropWriter(selLists &lists, zorurunWriter *pwriter)
{
  lists.vwriters.pop_back();
  pwriter->pwriterNext = nullptr;
  _zorurunDestroyWriterList(pwriter);
}

/* The reader of the work item's partition, made on first use; NULL when memory runs out. */
static zorurunReader *_selReaderOf(selLists &lists, zorcontrol *pcontrol, zortask *ptask, part *pitem)
{
  auto it = lists.mapReaders.find(pitem->ilPart);
  if (it != lists.mapReaders.end()) return it->second;
  zorurunReader *preader = _zorurunCreateReader(pcontrol, ptask, pitem);
  if (preader == nullptr) return nullptr;
  lists.vreaders.push_back(preader);
  lists.mapReaders[pitem->ilPart] = preader;
  return preader;
}

/* Links reader and writer; false when the pair cannot be made (reported). */
static bool _selLink(selLists &lists, zorurunReader *preader, zorurunWriter *pwriter)
{
  if (preader == nullptr) {
    omsgsFMTEDO(ZORU363E, std::strerror(ENOMEM));
    return false;
  }
  zorurunPair *ppair = _zorurunCreatePair(preader, pwriter);
  if (ppair == nullptr) return false;
  lists.vpairs.push_back(ppair);
  return true;
}

static bool _selInSet(const obf *pobf, int32_t ilPart)
{
  return pobf == nullptr || (ilPart >= 0 && obfGet(pobf, static_cast<uint32_t>(ilPart)) != 0);
}

/* True when the NUL-terminated host equals the string, blanks padding either. */
static bool _selSameHost(const char *pcHost, const ochar *pcharHost)
{
  if (pcHost == nullptr || pcharHost == nullptr) return false;
  const char *pc = _charText(pcharHost);
  size_t ulA = std::strlen(pcHost), ulB = static_cast<size_t>(pcharHost->ilBU);
  while (ulA > 0 && pcHost[ulA - 1] == ' ') ulA--;
  while (ulB > 0 && (pc[ulB - 1] == ' ' || pc[ulB - 1] == '\0')) ulB--;
  return ulA == ulB && std::memcmp(pcHost, pc, ulA) == 0;
}

zorurun *_zorurunCreateWithLists(zorcontrol *pcontrol, zorurun *prunParent, zortask *ptaskSelect,
                                 int *piTaskCount, int *piRemoteCount)
{
  *piTaskCount = 0;
  *piRemoteCount = 0;
  uint32_t ulType = _selInteger(ptaskSelect, TOKEN_PTK003, 0) == 1 ? ZORWRITE_SYNC : ZORWRITE_ASYNC;
  bool boBackup = _selAtom(ptaskSelect, TOKEN_BACKUP) != nullptr;
  bool boLocal = prunParent != nullptr && prunParent->ulLocal == ZORURUN_LOCAL_YES;
  ochar *pcharLocalHost = prunParent != nullptr ? prunParent->pcharHost : nullptr;
  std::vector<part *> vitems;
  zoratom *patomParts = _selAtom(ptaskSelect, TOKEN_PARTS_TAKEN);
  if (patomParts != nullptr && patomParts->iKind == ZORATOM_OLIST && patomParts->value.plist != nullptr)
    for (part *pitem = static_cast<part *>(patomParts->value.plist->pitemTop); pitem != nullptr; pitem = pitem->pitemNext)
      vitems.push_back(pitem);

  selLists lists;
  bool boOk = true;
  int iRemote = 0;
  std::vector<char> vSeenRemote;
  zoratom *patomOutput = _selAtom(ptaskSelect, TOKEN_OUTPUT);
  olist *plistOutput = patomOutput != nullptr && patomOutput->iKind == ZORATOM_OLIST ? patomOutput->value.plist : nullptr;
  if (plistOutput != nullptr) {
    for (udbOutFile *pout = static_cast<udbOutFile *>(plistOutput->pitemTop); boOk && pout != nullptr;
         pout = pout->pitemNext) {
      uint32_t ulMode = pout->ulMode & 0x1C;
      bool boHere = ulMode == UDB_MODE_CURRENT ? !boLocal
                    : ulMode == UDB_MODE_HOST ? pcharLocalHost != nullptr && ocharCompare(pout->pcharHost, pcharLocalHost, ' ') == 0
                                              : false;
      if (ulMode == UDB_MODE_CURRENT || (ulMode == UDB_MODE_HOST && boHere)) {
        if (!boHere) continue;
        zorurunWriter *pwriter = _selNewWriter(lists, pcontrol, ptaskSelect, ulType, -1, pout, pcharLocalHost);
        if (pwriter == nullptr) {
          omsgsFMTEDO(ZORU363E, std::strerror(ENOMEM));
          boOk = false;
          break;
        }
        size_t ulPairs = lists.vpairs.size();
        for (part *pitem : vitems) {
          if (!_selInSet(pout->pobfPart, pitem->ilPart)) continue;
          if (!_selLink(lists, _selReaderOf(lists, pcontrol, ptaskSelect, pitem), pwriter)) {
            boOk = false;
            break;
          }
        }
        if (boOk && lists.vpairs.size() == ulPairs) _selDropWriter(lists, pwriter);
      } else if (ulMode == UDB_MODE_REMOTE) {
        for (part *pitem : vitems) {
          if (!_selInSet(pout->pobfPart, pitem->ilPart)) continue;
          bool boLocalPart = boBackup || pitem->pficcont == nullptr || pitem->pficcont->ilRemote == 0;
          if (boLocalPart) {
            zorurunWriter *pwriter = _selNewWriter(lists, pcontrol, ptaskSelect, ZORWRITE_SYNC, pitem->ilPart, pout, nullptr);
            if (pwriter == nullptr) {
              omsgsFMTEDO(ZORU363E, std::strerror(ENOMEM));
              boOk = false;
              break;
            }
            if (!_selLink(lists, _selReaderOf(lists, pcontrol, ptaskSelect, pitem), pwriter)) {
              boOk = false;
              break;
            }
          } else if (!boLocal && prunParent != nullptr && pitem->ilPart >= 0 && pitem->ilPart < prunParent->iPartCount) {
            /* Partition numbers index the node table. */
            if (vSeenRemote.size() < static_cast<size_t>(prunParent->iPartCount))
              vSeenRemote.assign(static_cast<size_t>(prunParent->iPartCount), 0);
            if (vSeenRemote[static_cast<size_t>(pitem->ilPart)] != 0) continue;
            vSeenRemote[static_cast<size_t>(pitem->ilPart)] = 1;
            _zorurunMarkRemote(prunParent, pitem->ilPart);
            iRemote++;
          }
        }
      } else if (ulMode == UDB_MODE_HOST && !boLocal && prunParent != nullptr) {
        for (int32_t i = 0; i < prunParent->iPartCount; i++) {
          if (prunParent->ailRemoteState == nullptr || prunParent->apcHost == nullptr) break;
          if (prunParent->ailRemoteState[i] != ZORURUN_REMOTE_NONE) continue;
          if (!_selSameHost(prunParent->apcHost[i], pout->pcharHost)) continue;
          if (_zorurunMarkRemote(prunParent, i) != 0) iRemote++;
        }
      }
    }
  } else {
    zorurunWriter *pwriter = _selNewWriter(lists, pcontrol, ptaskSelect, ulType, -1, nullptr, nullptr);
    if (pwriter == nullptr) {
      omsgsFMTEDO(ZORU363E, std::strerror(ENOMEM));
      boOk = false;
    }
    for (part *pitem : vitems) {
      if (!boOk) break;
      if (!_selLink(lists, _selReaderOf(lists, pcontrol, ptaskSelect, pitem), pwriter)) boOk = false;
    }
  }

  /* Pair arrays, groups and the list links. */
  for (size_t i = 0; boOk && i < lists.vreaders.size(); i++) {
    zorurunReader *preader = lists.vreaders[i];
    preader->preaderNext = i + 1 < lists.vreaders.size() ? lists.vreaders[i + 1] : nullptr;
    for (zorurunPair *ppair : lists.vpairs)
      if (ppair->preader == preader) preader->iPairCount++;
    preader->appair = static_cast<zorurunPair **>(std::calloc(static_cast<size_t>(preader->iPairCount) + 1, sizeof(zorurunPair *)));
    if (preader->appair == nullptr) {
      omsgsFMTEDO(ZORU363E, std::strerror(ENOMEM));
      boOk = false;
      break;
    }
    int32_t n = 0;
    for (zorurunPair *ppair : lists.vpairs)
      if (ppair->preader == preader) preader->appair[n++] = ppair;
  }
  for (size_t i = 0; boOk && i < lists.vwriters.size(); i++) {
    zorurunWriter *pwriter = lists.vwriters[i];
    pwriter->pwriterNext = i + 1 < lists.vwriters.size() ? lists.vwriters[i + 1] : nullptr;
    for (zorurunPair *ppair : lists.vpairs)
      if (ppair->pwriter == pwriter) pwriter->iPairCount++;
    pwriter->appair = static_cast<zorurunPair **>(std::calloc(static_cast<size_t>(pwriter->iPairCount) + 1, sizeof(zorurunPair *)));
    int iErr = ENOMEM;
    if (pwriter->appair != nullptr) pwriter->pgroup = ovfGroupCreate(pwriter->iPairCount, &iErr);
    if (pwriter->pgroup == nullptr) {
      omsgsFMTEDO(ZORU363E, std::strerror(iErr));
      boOk = false;
      break;
    }
    int32_t n = 0;
    for (zorurunPair *ppair : lists.vpairs)
      if (ppair->pwriter == pwriter) {
        pwriter->appair[n++] = ppair;
        ovfGroupAdd(pwriter->pgroup, ppair->povf);
      }
  }

  zorurun *prun = nullptr;
  int32_t ilTasks = static_cast<int32_t>(lists.vreaders.size() + lists.vwriters.size());
  if (boOk)
    prun = _zorurunCreate(pcontrol, ilTasks > 0 ? ilTasks : 1, 0,
                          prunParent != nullptr ? prunParent->ulLocal : ZORURUN_LOCAL_NO,
                          prunParent != nullptr ? prunParent->pcharSysin : nullptr,
                          prunParent != nullptr ? prunParent->pcharArgs : nullptr, 1, nullptr);
  if (prun == nullptr) {
    if (boOk) omsgsFMTEDO(ZORU363E, std::strerror(ENOMEM));
    /* Channels already in a group are destroyed with it; detach them from their pairs. */
    for (zorurunWriter *pwriter : lists.vwriters)
      if (pwriter->pgroup != nullptr)
        for (int32_t i = 0; i < pwriter->iPairCount; i++)
          if (pwriter->appair[i] != nullptr) pwriter->appair[i]->povf = nullptr;
    for (zorurunWriter *pwriter : lists.vwriters)
      if (pwriter->pgroup != nullptr) {
        ovfGroupDestroy(pwriter->pgroup);
        pwriter->pgroup = nullptr;
      }
    _selFreeLists(lists);
    return nullptr;
  }
  /* The lists hold the entries through their link words, in building order. */
  for (zorurunReader *preader : lists.vreaders) olistAppend(prun->plistReaders, preader);
  for (zorurunWriter *pwriter : lists.vwriters) olistAppend(prun->plistWriters, pwriter);
  for (zorurunPair *ppair : lists.vpairs) olistAppend(prun->plistPairs, ppair);
  *piTaskCount = ilTasks;
  *piRemoteCount = iRemote;
  return prun;
}

static void _selDetach(olist *plist)
{
  if (plist == nullptr) return;
  plist->pitemTop = nullptr;
  plist->pitemBottom = nullptr;
  plist->iItemCount = 0;
}

void _zorurunDestroyWithLists(zorurun *prun)
{
  if (prun == nullptr) return;
  /* Writers first: their groups destroy the channels of their pairs. */
  _zorurunDestroyWriterList(prun->plistWriters != nullptr ? static_cast<zorurunWriter *>(prun->plistWriters->pitemTop) : nullptr);
  for (zorurunPair *ppair = prun->plistPairs != nullptr ? static_cast<zorurunPair *>(prun->plistPairs->pitemTop) : nullptr;
       ppair != nullptr;) {
    zorurunPair *ppairNext = ppair->ppairNext;
    _zorurunDestroyPair(ppair);
    ppair = ppairNext;
  }
  _zorurunDestroyReaderList(prun->plistReaders != nullptr ? static_cast<zorurunReader *>(prun->plistReaders->pitemTop) : nullptr);
  _selDetach(prun->plistWriters);
  _selDetach(prun->plistPairs);
  _selDetach(prun->plistReaders);
  _zorurunDestroy(prun);
}

/* ------------------------------------------------------ end of SELECT */

int _zorurunEndSelect(zortask *ptaskSelect, const zorurunSelectEnd *pend)
{
  if (pend == nullptr || pend->llDamaged <= 0) return 0;
  int ilQualifier = 0, ilTable = 0;
  const char *pcQualifier = _selNameText(ptaskSelect, TOKEN_TBQUALIFIER, &ilQualifier);
  const char *pcTable = _selNameText(ptaskSelect, TOKEN_TBNAME, &ilTable);
  omsgsFMTEDO(ZORU453W, ilQualifier, pcQualifier, ilTable, pcTable, static_cast<long long>(pend->llDamaged));
  return ZORURUN_RC_DAMAGED;
}

/* Ends a forked process without running the handlers its parent registered. */
[[noreturn]] static void _selExit(const zorurun *prun, int iRc)
{
  omsgsFlushDefered();
  _zorurunExitChild(prun, iRc);
}

/*
** Releases the quiesce of every reader that ended while it may have held it
** (killed, or stopped by a signal): a table the run quiesced is never left
** so.  Returns 0 or the first release's failure.
*/
static int _selReleaseLeftQuiesces(zorurun *prun, zortask *ptask)
{
  int iRc = 0;
  for (zorurunReader *preader = static_cast<zorurunReader *>(prun->plistReaders->pitemTop); preader != nullptr;
       preader = preader->preaderNext) {
    if (preader->pllHeld == nullptr || __atomic_load_n(preader->pllHeld, __ATOMIC_SEQ_CST) == 0) continue;
    omsgsTrace("Reader of partition %d ended holding its quiesce: released\n", static_cast<int>(preader->ilPartition));
    int iRelease = db2utilReleaseQuiesce(ptask, preader->ilPartition);
    if (iRc == 0) iRc = iRelease;
    *preader->pllHeld = 0;
  }
  return iRc;
}

int _zorurunRunSelectChild(zorurunSelectLaunch *plaunch)
{
  /* a signal asking the run to stop is sent on to the readers and writers,
     and ends this process in order: reaped, quiesces released */
  osignalInstall();
  zortask *ptask = plaunch->ptaskSelect;
  int iTasks = 0, iRemote = 0;
  zorurun *prun = _zorurunCreateWithLists(plaunch->pcontrol, plaunch->prun, ptask, &iTasks, &iRemote);
  if (prun == nullptr) {
    int32_t ilZero = 0;
    ovfWrite(plaunch->povfStatus, &ilZero, 4);
    ovfWrite(plaunch->povfStatus, &ilZero, 4);
    ovfWrite(plaunch->povfStatus, nullptr, 0);
    return osignalCaught() != 0 ? osignalReason() : ZORURUN_RC_LISTS;
  }
  _zorurunWriteStatus(plaunch->povfStatus, 1, iTasks, iRemote, plaunch->prun);

  int iSemId = -1;
  if (osignalCaught() == 0 && _selYes(ptask, TOKEN_SERIAL_EXEC) &&
      (_selYes(ptask, TOKEN_QUIESCE) || _selYes(ptask, TOKEN_LOCK))) {
    iSemId = semget(IPC_PRIVATE, 1, IPC_CREAT | IPC_EXCL | SEL_IPC_MODE);
    if (iSemId < 0) {
      omsgsTrace("Pb creation semaphore serialisation");
    } else {
      omsgsStoreIPCResource(OMSGS_IPC_SEM, iSemId);
      if (semctl(iSemId, 0, SETVAL, 1) != 0) {
        omsgsTrace("Pb init. semaphore serialisation");
        semctl(iSemId, 0, IPC_RMID);
        omsgsDeleteIPCResource(OMSGS_IPC_SEM, iSemId);
        iSemId = -1;
      }
    }
  }

  int iRc = 0;
  bool boCut = osignalCaught() != 0;   /* a signal stopped a reader or writer, or kept one from starting */
  std::vector<zorurunWriter *> vwriterFailed;
  /* The readers' counts and quiesce marks live in memory shared with them
     (and their own children), one word each per reader; it goes with the
     last process. */
  size_t ulReaders = std::max<size_t>(1, static_cast<size_t>(prun->plistReaders->iItemCount));
  size_t ulShared = 2 * ulReaders * sizeof(int64_t);
  void *pShared = mmap(nullptr, ulShared, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  int64_t *pllCounts = pShared != MAP_FAILED ? static_cast<int64_t *>(pShared) : nullptr;
  if (pllCounts == nullptr) omsgsTrace("Shared counts not mapped: %s", std::strerror(errno));
  std::fflush(nullptr);
  pid_t pidSelect = getpid();
  size_t ulReader = 0;
  for (zorurunReader *preader = static_cast<zorurunReader *>(prun->plistReaders->pitemTop);
       preader != nullptr && !boCut; preader = preader->preaderNext) {
    preader->iSemId = iSemId;
    preader->pllDamaged = pllCounts != nullptr && ulReader < ulReaders ? &pllCounts[ulReader] : nullptr;
    preader->pllHeld = pllCounts != nullptr && ulReader < ulReaders ? &pllCounts[ulReaders + ulReader] : nullptr;
    ulReader++;
    boCut = osignalCaught() != 0;
    if (boCut) break;
    pid_t pid = osignalFork();
    if (pid == 0) {
      toolsDieWithParent(pidSelect);
      _selExit(prun, _zorurunRunReadChild(preader));
    }
    if (pid < 0) {
      omsgsFMTEDO(ZORU359E, ZORURUN_RC_FORK, std::strerror(errno));
      if (iRc == 0) iRc = ZORURUN_RC_FORK;
      /* Its writers must not wait for a reader that never ran. */
      for (int32_t i = 0; i < preader->iPairCount; i++)
        if (preader->appair[i]->povf != nullptr) ovfWrite(preader->appair[i]->povf, nullptr, 0);
      continue;
    }
    _zorurunAddChild(prun, pid, 1);
  }
  for (zorurunWriter *pwriter = static_cast<zorurunWriter *>(prun->plistWriters->pitemTop);
       pwriter != nullptr && !boCut; pwriter = pwriter->pwriterNext) {
    boCut = osignalCaught() != 0;
    if (boCut) break;
    pid_t pid = osignalFork();
    if (pid == 0) {
      toolsDieWithParent(pidSelect);
      _selExit(prun, _zorurunRunWriteChild(pwriter));
    }
    if (pid < 0) {
      omsgsFMTEDO(ZORU359E, ZORURUN_RC_FORK, std::strerror(errno));
      if (iRc == 0) iRc = ZORURUN_RC_FORK;
      /* Its readers are stopped as by a writer that reached a limit. */
      ovfGroupStop(pwriter->pgroup);
      vwriterFailed.push_back(pwriter);
      continue;
    }
    _zorurunAddChild(prun, pid, 1);
  }

  /* Drained once every process runs, so that no reader waits for a writer not yet forked. */
  for (zorurunWriter *pwriter : vwriterFailed) {
    std::vector<char> vBuffer(static_cast<size_t>(pwriter->iPairCount > 0 ? pwriter->appair[0]->ilBufferLen : 4) + 4);
    for (int32_t i = 1; i < pwriter->iPairCount; i++)
      if (static_cast<size_t>(pwriter->appair[i]->ilBufferLen) > vBuffer.size()) vBuffer.resize(static_cast<size_t>(pwriter->appair[i]->ilBufferLen));
    _selDrain(pwriter->pgroup, vBuffer.data(), static_cast<int>(vBuffer.size()));
  }

  while (prun->iDirectRunning > 0) {
    int iRcChild = _zorurunWaitTasks(prun);
    if (osignalIsInterrupted(iRcChild)) boCut = true;
    iRc = oreasonWorse(iRc, iRcChild);
  }

  /* every reader has ended: none may leave its table quiesced */
  iRc = oreasonWorse(iRc, _selReleaseLeftQuiesces(prun, ptask));

  zorurunSelectEnd end{};
  if (pllCounts != nullptr) {
    for (size_t i = 0; i < ulReaders; i++) end.llDamaged += pllCounts[i];
    munmap(pShared, ulShared);
  }
  iRc = oreasonWorse(iRc, _zorurunEndSelect(ptask, &end));

  _zorurunDestroyWithLists(prun);
  if (iSemId >= 0) {
    semctl(iSemId, 0, IPC_RMID);
    omsgsDeleteIPCResource(OMSGS_IPC_SEM, iSemId);
  }
  /* stopped by a signal: that is what the SELECT ended with (one that came
     once every process had done its work changes nothing) */
  if (boCut && osignalCaught() != 0) iRc = osignalReason();
  return iRc;
}
