/*
** zor3unload.cpp
**   The partition read driver (see zor3unload.h): table descriptions for the
**   SELECT preparation, and the reading of one partition into the reader's
**   pairs by the SMS and DMS container paths and the table-space object
**   path.  Page and record decoding of the container paths is ficdata's; this
**   file chooses the path, runs the page loops, starts and stops the
**   record-reader and long-data children and ends every pair.
*/
#define OMSGS_TRACE_KEYWORD "$UNLOAD"
#define OMSGS_DEBUG_KEYWORD nullptr
#include "common/omsgsmod.h"

#include "run/zor3unload.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "model/osysibm.h"
#include "common/obyte.h"
#include "common/ochar.h"
#include "common/ovf.h"
#include "model/token.h"
#include "model/part.h"
#include "model/tools.h"
#include "model/zoratom.h"
#include "model/zormsgs.h"
#include "model/zortask.h"
#include "expr/zornodeeval.h"
#include "run/zorurun.h"
#include "storage/ficcont.h"
#include "storage/ficdata.h"
#include "storage/ficdms.h"
#include "storage/ficdmsemp.h"
#include "storage/ficlvar.h"
#include "storage/ficpar.h"
#include "storage/ficsms.h"
#include "storage/zorts.h"

namespace {

/* Integer value of an atom of the SELECT task or its owners; ilDefault when absent. */
int32_t _unloadAtomInt(zortask *ptask, int iToken, int32_t ilDefault)
{
  const char *pcName = gapnameTotalToken[iToken];
  zoratom *patom = pcName != nullptr && ptask != nullptr ? zortaskDetermineAtom(ptask, pcName) : nullptr;
  return patom != nullptr ? patom->value.iValue : ilDefault;
}

/* The reader's pairs as the record decoder sees them. */
std::vector<ficdataPair> _unloadPairs(const zorurunReader *preader)
{
  std::vector<ficdataPair> v;
  for (int32_t i = 0; i < preader->iPairCount; i++) {
    const zorurunPair *ppair = preader->appair[i];
    v.push_back(ficdataPair{ppair != nullptr ? ppair->povf : nullptr, ppair != nullptr ? ppair->pnodeWhere : nullptr,
                            ppair != nullptr ? ppair->pctxEval : nullptr});
  }
  return v;
}

/* The table of the SELECT as "QUALIFIER.NAME" into pc (iSize bytes); empty when unknown. */
void _unloadTableName(zortask *ptask, char *pc, size_t ulSize)
{
  pc[0] = '\0';
  const char *pcName = gapnameTotalToken[TOKEN_SYSTABLE];
  zoratom *patom = pcName != nullptr && ptask != nullptr ? zortaskDetermineAtom(ptask, pcName) : nullptr;
  if (patom == nullptr || patom->value.pValue == nullptr) return;
  const auto *ptable = static_cast<const osysibmSystables *>(patom->value.pValue);
  auto text = [](const ochar *pchar) -> std::string {
    if (pchar == nullptr || pchar->pcData == nullptr || pchar->ilBU <= 0) return std::string();
    const char *pcData = pchar->pcData + ((pchar->usFlags & OCHAR_VARCHAR) ? 2 : 0);
    return std::string(pcData, static_cast<size_t>(pchar->ilBU));
  };
  std::string str = text(ptable->pcharCREATOR);
  str = (str.empty() ? std::string() : str + ".") + text(ptable->pcharNAME);
  std::snprintf(pc, ulSize, "%s", str.c_str());
}

/* Adds the damaged records a record loop skipped to its reader's shared count. */
void _unloadCountDamaged(zorurunReader *preader, int64_t llDamaged)
{
  if (llDamaged > 0 && preader->pllDamaged != nullptr)
    __atomic_fetch_add(preader->pllDamaged, llDamaged, __ATOMIC_RELAXED);
}

/* The table's pages end (or cannot be had) after llFound of its llPages. */
void _unloadPagesEnd(const char *pcTable, int64_t llFound, int64_t llPages)
{
  omsgsFMTEDO(ZORU434E, pcTable != nullptr && pcTable[0] != '\0' ? pcTable : "?", static_cast<long long>(llFound),
              static_cast<long long>(llPages));
}

/* Clears the channels of the reader's pairs that the decoder found stopped. */
void _unloadSyncPairs(zorurunReader *preader, const std::vector<ficdataPair> &v)
{
  for (int32_t i = 0; i < preader->iPairCount && static_cast<size_t>(i) < v.size(); i++)
    if (preader->appair[i] != nullptr && v[i].povf == nullptr) preader->appair[i]->povf = nullptr;
}

/* True when some pair still takes records. */
bool _unloadAnyLive(const std::vector<ficdataPair> &v)
{
  for (const ficdataPair &pair : v)
    if (pair.povf != nullptr) return true;
  return false;
}

/* Writes the end record into every pair whose channel is still set.  Returns the count. */
int _unloadPostEOF(zorurunReader *preader)
{
  int iCount = 0;
  for (int32_t i = 0; i < preader->iPairCount; i++) {
    zorurunPair *ppair = preader->appair[i];
    if (ppair == nullptr || ppair->povf == nullptr) continue;
    ovfWrite(ppair->povf, nullptr, 0);
    iCount++;
  }
  return iCount;
}

/* The long table space's record of a work item (the table space's own when none). */
ficcont *_unloadLongRecord(const part *ppart)
{
  return ppart->pficcontLong != nullptr ? ppart->pficcontLong : ppart->pficcont;
}

/* ------------------------------------------------ table descriptions */

int _unloadTableDescSMS(const char *pcUser, ficcont *pficcont, int32_t ilObid, ficdataTableDesc *pdesc,
                        int32_t *pilPages)
{
  int32_t k = pficcont->ilContainers;
  if (k <= 0) return 1;
  char **ppcNames = static_cast<char **>(calloc(static_cast<size_t>(k), sizeof(char *)));
  int *piAccess = static_cast<int *>(calloc(static_cast<size_t>(k), sizeof(int)));
  if (ppcNames == nullptr || piAccess == nullptr) {
    free(ppcNames);
    free(piAccess);
    return 1;
  }
  int32_t ilPages = 0;
  if (!ficsmsControlFiles(pficcont, ilObid, FICSMS_EXT_DAT, pcUser, ppcNames, piAccess, &ilPages)) {
    free(ppcNames);
    free(piAccess);
    return 1;
  }
  int *piFd = ficsmsOpenFiles(pficcont, pcUser, ppcNames, piAccess);
  free(ppcNames);
  ficdata *pficdata = ficdataCreate(pficcont->ilPageSize, pficcont->ilPart, nullptr, 0);
  ficsmsConf *pconf = ficsmsInitConf(pficcont);
  int iRc = 1;
  if (piFd != nullptr && pficdata != nullptr && pconf != nullptr) {
    pficdata->pConf = pconf;
    pdesc->sColumnCount = 0;
    ficdataInfoTable info{};
    ficdataInitInfoTable(pficcont, ilObid, pficcont->sTbsId, 0, 0, &info);
    info.ilLogicalPage = 0;
    info.ilObjectPage = 0;
    if (ficdataGetEnreg(pficdata, piFd, nullptr, FICDATA_SLOT_DESCRIPTOR, &info, pdesc, pilPages, nullptr, 0, 0,
                        _ficsmsMapPage) == 1)
      iRc = 0;
  }
  if (iRc != 0) {
    omsgsTrace("Table %d: no table descriptor in partition %d", ilObid, pficcont->ilPart);
    omsgsFMTEDO(ZORU436E, static_cast<int>(ilObid), static_cast<int>(pficcont->sTbsId));
  }
  ficdataDestroy(pficdata);
  free(pconf);
  ficsmsCloseFiles(pficcont, piFd, piAccess);
  return iRc;
}

int _unloadTableDescDMS(const char *pcUser, ficcont *pficcont, int32_t ilObid, ficdataTableDesc *pdesc,
                        int32_t *pilPages)
{
  if (!ficdmsControlFiles(pficcont, pcUser)) return 1;
  int *piFd = ficdmsOpenFiles(pficcont, pcUser);
  ficdmsConf *pconf = ficdmsInitConf(pficcont);
  ficdata *pficdata = ficdataCreate(pficcont->ilPageSize, pficcont->ilPart, nullptr, 0);
  int iRc = 1;
  if (piFd != nullptr && pconf != nullptr && pficdata != nullptr &&
      ficdmsInitBuffers(pconf, pficcont->ilPageSize) == 0) {
    pficdata->pConf = pconf;
    pdesc->sColumnCount = 0;
    ficdataInfoTable info{};
    ficdataInitInfoTable(pficcont, ilObid, pficcont->sTbsId, 0, 0, &info);
    int32_t ilCount = 0, ilFirst = 0;
    ficdmsTabObj *pentries = ficdmsInitTabObj(pconf, piFd, 0, 0, &ilCount);
    if (pentries != nullptr && ficdmsGetFirstDataPage(pentries, ilCount, ilObid, pficcont->sTbsId, &ilFirst) == 0) {
      info.ilLogicalPage = ilFirst;
      info.ilObjectPage = 0;
      if (ficdataGetEnreg(pficdata, piFd, nullptr, FICDATA_SLOT_DESCRIPTOR, &info, pdesc, pilPages, nullptr, 0, 0,
                          _ficdmsMapPage) == 1) {
        omsgsTrace("Pages in table = %ld", static_cast<long>(pilPages != nullptr ? *pilPages : 0));
        iRc = 0;
      }
    }
    ficdmsFreeTabObj(pentries, ilCount);
  }
  if (iRc != 0) {
    /* the object table, the table's entry in it or its first page cannot be had */
    omsgsTrace("Table %d: no table descriptor in partition %d", ilObid, pficcont->ilPart);
    omsgsFMTEDO(ZORU436E, static_cast<int>(ilObid), static_cast<int>(pficcont->sTbsId));
  }
  ficdataDestroy(pficdata);
  ficdmsFreeBuffers(pconf);
  ficdmsCloseFiles(pficcont, piFd);
  return iRc;
}

/* ------------------------------------------------- long-data children */

/* The long-field and LOB children of one record loop. */
struct unloadLong {
  int aiLFRequest[2] = {-1, -1}, aiLFAnswer[2] = {-1, -1};
  int aiLOBRequest[2] = {-1, -1}, aiLOBAnswer[2] = {-1, -1};
  ficlvar *plvLF = nullptr, *plvLOB = nullptr;
  pid_t pidLF = -1, pidLOB = -1;
  ficdataInfoLong infolong{-1, -1, -1, -1};
};

/*
** Starts the children the table and LONGCOL need over the long-data
** descriptors piFdLF / piFdLOB (NULL: none wanted).  Returns 0, or 1 when a
** child could not be started (those started are stopped again).
*/
int _unloadStartLong(unloadLong *plong, ficdata *pficdata, ficcont *pficcontLong, int32_t ilObid, int *piFdLF,
                     int *piFdLOB, bool boDms)
{
  ficlvarTableInfo tinfo{pficcontLong->sTbsId, ilObid, pficcontLong->ilPageSize, 0};
  if (piFdLF != nullptr) {
    plong->plvLF = ficlvarCreate(pficdata, piFdLF, plong->aiLFRequest, plong->aiLFAnswer, &tinfo, pficcontLong,
                                 boDms ? ficlvarLFReadDMS : ficlvarLFReadSMS);
    if (plong->plvLF != nullptr)
      plong->pidLF = boDms ? ficlvarLaunchChildDMS(plong->plvLF) : ficlvarLaunchChildSMS(plong->plvLF);
    if (plong->pidLF < 0) return 1;
  }
  if (piFdLOB != nullptr) {
    plong->plvLOB = ficlvarCreate(pficdata, piFdLOB, plong->aiLOBRequest, plong->aiLOBAnswer, &tinfo, pficcontLong,
                                  boDms ? ficlvarLOBReadDMS : ficlvarLOBReadSMS);
    if (plong->plvLOB != nullptr)
      plong->pidLOB = boDms ? ficlvarLaunchChildDMS(plong->plvLOB) : ficlvarLaunchChildSMS(plong->plvLOB);
    if (plong->pidLOB < 0) return 1;
  }
  ficdataInitInfoLong(pficdata, plong->aiLFRequest[1], plong->aiLFAnswer[0], plong->aiLOBRequest[1],
                      plong->aiLOBAnswer[0], &plong->infolong);
  return 0;
}

/* True when a long-data child ended otherwise than with status 0 (it reported why). */
bool _unloadLongFailed(pid_t pid, int iStatus, const char *pcKind)
{
  if (iStatus >= 0 && WIFEXITED(iStatus) && WEXITSTATUS(iStatus) == 0) return false;
  omsgsTrace("%s child %d ended with status 0x%x", pcKind, static_cast<int>(pid), iStatus);
  /* killed: nothing of it said why */
  if (iStatus >= 0 && WIFSIGNALED(iStatus)) omsgsFMTEDO(ZORU368E, WTERMSIG(iStatus));
  return true;
}

/*
** Stops the long-data children and checks how they ended.  Returns 0, or 1
** when one of them did not serve every value whole (or did not end well).
*/
int _unloadStopLong(unloadLong *plong)
{
  int iRc = 0;
  if (plong->pidLF > 0 &&
      _unloadLongFailed(plong->pidLF, ficlvarKillChild(plong->pidLF, plong->aiLFRequest, plong->aiLFAnswer), "Long-field"))
    iRc = 1;
  if (plong->pidLOB > 0 &&
      _unloadLongFailed(plong->pidLOB, ficlvarKillChild(plong->pidLOB, plong->aiLOBRequest, plong->aiLOBAnswer), "LOB"))
    iRc = 1;
  ficlvarDestroy(plong->plvLF);
  ficlvarDestroy(plong->plvLOB);
  plong->pidLF = plong->pidLOB = -1;
  plong->plvLF = plong->plvLOB = nullptr;
  return iRc;
}

/* ------------------------------------------------ the record loops' pages */

/*
** How a forked reader's record loop reads its pages: page by page, or,
** once the table's first page is read, through the helper threads of
** storage/ficpar.h when the table and the reader allow them.  The sink
** writes the helpers' rows to the pairs and reads the pages they leave
** with ficdataGetDB2Enregs, as the loop does.
*/
struct unloadPages {
  int iHelpers = 0;
  ficpar *ppar = nullptr;
  bool boEnded = false;   /* a page answered 0: nothing more is read or sent */
  ficdata *pficdata = nullptr;
  ficdataInfoTable *pinfo = nullptr;
  const ficdataInfoLong *pinfolong = nullptr;
  const ficdataTableDesc *pdesc = nullptr;
  ficdataSlots *pslots = nullptr;
  unsigned char *pcBuffer = nullptr;
  int32_t ilSize = 0;
  std::vector<ficdataPair> *pvpairs = nullptr;
};

/* The helpers' sink: a row goes to every pair, as ficdataGetDB2Enregs sends it. */
int _unloadPagesRow(void *pCtx, const unsigned char *pcRow, int32_t ilLength, int64_t llObjectPage, int iSlot)
{
  auto *ppages = static_cast<unloadPages *>(pCtx);
  return ficdataWritePairs(ppages->pficdata, ppages->pvpairs->data(), static_cast<int32_t>(ppages->pvpairs->size()),
                           pcRow, ilLength, llObjectPage, iSlot);
}

/* The helpers' sink for a batch's rows at once: copied into the channel of
   the only live pair in runs (rows with no WHERE: the helpers run without
   one); with several pairs, and from the first row that is not simply
   appended, row by row. */
int32_t _unloadPagesRecords(void *pCtx, const unsigned char *pucRecords, int64_t llBytes, int32_t ilCount)
{
  auto *ppages = static_cast<unloadPages *>(pCtx);
  ovf *povf = nullptr;
  for (const ficdataPair &pair : *ppages->pvpairs) {
    if (pair.povf == nullptr) continue;
    if (povf != nullptr || pair.pnodeWhere != nullptr) return 0;
    povf = pair.povf;
  }
  int32_t ilWritten = 0;
  if (povf != nullptr) ovfWriteRecords(povf, pucRecords, llBytes, ilCount, &ilWritten);
  return ilWritten;
}

/* The helpers' sink, and the loop itself: a page read with ficdataGetDB2Enregs. */
int _unloadPagesPage(void *pCtx, const ficparPage *ppage)
{
  auto *ppages = static_cast<unloadPages *>(pCtx);
  ppages->pinfo->ilLogicalPage = ppage->ilLogicalPage;
  ppages->pinfo->llExpectedPage = ppage->llExpectedPage;
  ppages->pinfo->ilPhysicalPage = ppage->ilPhysicalPage;
  return ficdataGetDB2Enregs(ppages->pficdata, ppage->iFd, ppages->pinfolong, ppages->pinfo, ppages->pdesc,
                             ppages->pslots, 0, ppages->pcBuffer, ppages->ilSize, ppages->pvpairs->data(),
                             static_cast<int32_t>(ppages->pvpairs->size()));
}

/*
** Sets up how a record loop of ilPages pages reads them: with the reader
** state, tables, buffers and pairs it gives ficdataGetDB2Enregs, and the
** helpers the table allows (none when the reader keeps state from row to
** row).
*/
void _unloadPagesInit(unloadPages *ppages, ficdata *pficdata, ficdataInfoTable *pinfo,
                      const ficdataInfoLong *pinfolong, const ficdataTableDesc *pdesc, ficdataSlots *pslots,
                      unsigned char *pcBuffer, int32_t ilSize, std::vector<ficdataPair> *pvpairs, int32_t ilPages)
{
  *ppages = unloadPages{0, nullptr, false, pficdata, pinfo, pinfolong, pdesc, pslots, pcBuffer, ilSize, pvpairs};
  bool boSerial = pinfo->ilRemote || (pficdata->psampling != nullptr && pficdata->psampling->iOn) ||
                  pdesc->ucLongField || pdesc->ucLob;
  for (const ficdataPair &pair : *pvpairs)
    if (pair.pnodeWhere != nullptr) boSerial = true;
  ppages->iHelpers = ficparHelpers(pficdata->ilPageSize, ilPages, boSerial);
}

/*
** Reads a page, or hands it to the helpers once they run: they start after
** the table's first page, which names the descriptor.  Returns as
** ficdataGetDB2Enregs.
*/
int _unloadPage(unloadPages *ppages, const ficparPage &page)
{
  int iGo;
  if (ppages->ppar != nullptr) {
    iGo = ficparPut(ppages->ppar, &page);
  } else {
    iGo = _unloadPagesPage(ppages, &page);
    if (iGo != 0 && ppages->iHelpers > 0 && page.llExpectedPage == 0) {
      ficdata *pficdata = ppages->pficdata;
      ficparTable table{ppages->pdesc, pficdata->ilPageSize, ppages->ilSize, ppages->pinfo->llOffset,
                        pficdata->ilDescPage, pficdata->iDescSlot};
      ficparSink sink{ppages, _unloadPagesRow, _unloadPagesPage, _unloadPagesRecords};
      ppages->ppar = ficparCreate(&table, &sink, ppages->iHelpers);
    }
  }
  if (iGo == 0) ppages->boEnded = true;
  return iGo;
}

/*
** Sends the rows of the pages handed to the helpers so far, before the
** loop reports a page it cannot read or ends.  Returns as
** ficdataGetDB2Enregs (1 when nothing was handed over or the loop ended).
*/
int _unloadPagesFlush(unloadPages *ppages)
{
  if (ppages->ppar == nullptr || ppages->boEnded) return 1;
  int iGo = ficparFlush(ppages->ppar);
  if (iGo == 0) ppages->boEnded = true;
  return iGo;
}

/* ------------------------------------------------------------ SMS path */

/*
** _unloadGetEnregsSeqSMS
**   Record loop of an SMS table: every file page in order.  Returns 0, or 1
**   when the long-data children could not be started or did not serve
**   every value whole, a page had no open file or could not be read whole.
*/
int _unloadGetEnregsSeqSMS(zorurunReader *preader, ficdata *pficdata, ficsmsConf *pconf, int *piFd,
                           ficdataInfoTable *pinfo, int32_t ilObid, int *piFdLF, int *piFdLOB)
{
  part *ppart = preader->punload->ppart;
  const ficdataTableDesc *pdesc = static_cast<const ficdataTableDesc *>(ppart->pTableDesc);
  std::vector<ficdataPair> vpairs = _unloadPairs(preader);
  unloadLong lng;
  int iRc = _unloadStartLong(&lng, pficdata, _unloadLongRecord(ppart), ilObid, piFdLF, piFdLOB, false);
  int32_t ilSize = ficdataSizeEnreg(pdesc);
  unsigned char *pcBuffer = static_cast<unsigned char *>(malloc(static_cast<size_t>(ilSize)));
  ficdataSlots *pslots = static_cast<ficdataSlots *>(malloc(sizeof(ficdataSlots)));
  if (pcBuffer == nullptr || pslots == nullptr) iRc = 1;
  unloadPages pages;
  _unloadPagesInit(&pages, pficdata, pinfo, &lng.infolong, pdesc, pslots, pcBuffer, ilSize, &vpairs,
                   ppart->ilDataPages);
  for (int32_t p = 0; iRc == 0 && p < ppart->ilDataPages; p++) {
    int32_t ilCont = -1;
    int32_t ilPhys = ficsmsIdentifyPage(pconf, ilObid, p, &ilCont);
    if (ilPhys < 0 || ilCont < 0 || ilCont >= pconf->ilContainers || piFd[ilCont] < 0) {
      /* the container that holds the page has no file of the table */
      omsgsTrace("Page %d of table %d has no open file (container %d)", p, ilObid, ilCont);
      if (_unloadPagesFlush(&pages) == 0) {
        if (_unloadAnyLive(vpairs)) iRc = 1;
        break;
      }
      _unloadPagesEnd(pficdata->acTable, p, ppart->ilDataPages);
      iRc = 1;
      break;
    }
    if (_unloadPage(&pages, {piFd[ilCont], p, ilPhys, p}) == 0) {
      if (_unloadAnyLive(vpairs)) iRc = 1;   /* not the writers' stop: a read or long-data failure */
      break;
    }
  }
  if (iRc == 0 && _unloadPagesFlush(&pages) == 0 && _unloadAnyLive(vpairs)) iRc = 1;
  ficparDestroy(pages.ppar);
  if (pficdata->ilReadCode != 0) iRc = 1;
  _unloadCountDamaged(preader, pficdata->llDamaged);
  _unloadSyncPairs(preader, vpairs);
  _unloadPostEOF(preader);
  free(pcBuffer);
  free(pslots);
  if (_unloadStopLong(&lng) != 0) iRc = 1;
  return iRc;
}

int _unloadTableDB2SeqSMS(const char *pcUser, int32_t ilObid, zorurunReader *preader)
{
  unload *punload = preader->punload;
  part *ppart = punload->ppart;
  ficcont *pficcont = ppart->pficcont;
  ficcont *pficcontLong = _unloadLongRecord(ppart);
  const ficdataTableDesc *pdesc = static_cast<const ficdataTableDesc *>(ppart->pTableDesc);
  int32_t k = pficcont->ilContainers;
  /* the pages are those of the data-file header, not what the files hold:
     a file cut short must not end the table early */
  int32_t ilFilePages = 0;
  char **ppcNames = k > 0 ? static_cast<char **>(calloc(static_cast<size_t>(k), sizeof(char *))) : nullptr;
  int *piAccess = k > 0 ? static_cast<int *>(calloc(static_cast<size_t>(k), sizeof(int))) : nullptr;
  if (ppcNames == nullptr || piAccess == nullptr || pdesc == nullptr ||
      !ficsmsControlFiles(pficcont, ilObid, FICSMS_EXT_DAT, pcUser, ppcNames, piAccess, &ilFilePages)) {
    free(ppcNames);
    free(piAccess);
    _unloadPostEOF(preader);
    return 1;
  }
  omsgsTrace("Table %d: %d pages, %d in its files", ilObid, ppart->ilDataPages, ilFilePages);
  int *piFd = ficsmsOpenFiles(pficcont, pcUser, ppcNames, piAccess);
  free(ppcNames);
  ficdata *pficdata = ficdataCreate(pficcont->ilPageSize, ppart->ilPart, punload->ptaskSelect, punload->ilLongCol);
  if (pficdata != nullptr) _unloadTableName(punload->ptaskSelect, pficdata->acTable, sizeof pficdata->acTable);
  ficsmsConf *pconf = ficsmsInitConf(pficcont);
  ficdataInfoTable info{}, infoLong{};
  ficdataInitInfoTable(pficcont, ilObid, pficcont->sTbsId, 0, 0, &info);
  ficdataInitInfoTable(pficcontLong, ilObid, pficcontLong->sTbsId, 0, 0, &infoLong);
  info.pinfoLong = &infoLong;

  int iOk = piFd != nullptr && pficdata != nullptr && pconf != nullptr;
  int *piFdLF = nullptr, *piAccessLF = nullptr, *piFdLOB = nullptr, *piAccessLOB = nullptr;
  if (iOk && pdesc->ucLongField && (punload->ilLongCol & UNLOAD_LONGCOL_LF)) {
    int iLFOk = 0;
    piFdLF = ficsmsOpenLFFiles(ilObid, pficcontLong, &iLFOk, &piAccessLF, pcUser);
    if (!iLFOk) iOk = 0;
  }
  if (iOk && pdesc->ucLob && (punload->ilLongCol & UNLOAD_LONGCOL_LOB)) {
    int iLOBOk = 0;
    piFdLOB = ficsmsOpenLOBFiles(ilObid, pficcontLong, &iLOBOk, &piAccessLOB, pcUser);
    if (!iLOBOk) iOk = 0;
  }
  int iRc = 1;
  if (!iOk) {
    omsgsTrace("Partition %d: data or long-data files not opened, no record read", ppart->ilPart);
    _unloadPostEOF(preader);
  } else {
    pficdata->pConf = pconf;
    iRc = _unloadGetEnregsSeqSMS(preader, pficdata, pconf, piFd, &info, ilObid, piFdLF, piFdLOB);
  }
  ficsmsCloseFiles(pficcontLong, piFdLF, piAccessLF);
  ficsmsCloseFiles(pficcontLong, piFdLOB, piAccessLOB);
  ficsmsCloseFiles(pficcont, piFd, piAccess);
  ficdataDestroy(pficdata);
  free(pconf);
  return iRc;
}

/* ------------------------------------------------------------ DMS path */

/* What the record-reader child is given. */
struct unloadChildBlock {
  int aiPipe[2];
  const char *pcUser;
  int32_t ilObid;
  zorurunReader *preader;
  ficdmsConf *pconf;
};

/* The record-reader child's end of the page-number pipe, read a pipe's worth at a time. */
struct unloadPageStream {
  int iFd;
  unsigned char auc[4096];
  int32_t ilHave = 0;   /* bytes in auc */
  int32_t ilNext = 0;   /* next byte to take */
};

/* The next 32-bit word of the pipe (little-endian); false when the pipe ends first. */
bool _unloadNextWord(unloadPageStream *pstream, uint32_t *pulWord)
{
  while (pstream->ilHave - pstream->ilNext < 4) {
    int32_t ilLeft = pstream->ilHave - pstream->ilNext;
    std::memmove(pstream->auc, pstream->auc + pstream->ilNext, static_cast<size_t>(ilLeft));
    pstream->ilHave = ilLeft;
    pstream->ilNext = 0;
    ssize_t l = read(pstream->iFd, pstream->auc + ilLeft, sizeof pstream->auc - static_cast<size_t>(ilLeft));
    if (l < 0 && errno == EINTR) continue;
    if (l <= 0) return false;
    pstream->ilHave += static_cast<int32_t>(l);
  }
  *pulWord = obyteGetLE32(pstream->auc + pstream->ilNext);
  pstream->ilNext += 4;
  return true;
}

/*
** _unloadGetEnregsSeqDMS
**   Record loop of the record-reader child: the page numbers of the pipe.
**   Returns 0, or 1 when the long-data children could not be started or
**   did not serve every value whole, a page had no mapping or open
**   container, or a page could not be read whole.
*/
int _unloadGetEnregsSeqDMS(unloadChildBlock *pblock, ficdata *pficdata, int *piFd, ficdataInfoTable *pinfo,
                           int *piFdLF, int *piFdLOB)
{
  zorurunReader *preader = pblock->preader;
  part *ppart = preader->punload->ppart;
  const ficdataTableDesc *pdesc = static_cast<const ficdataTableDesc *>(ppart->pTableDesc);
  std::vector<ficdataPair> vpairs = _unloadPairs(preader);
  unloadLong lng;
  int iRc = _unloadStartLong(&lng, pficdata, _unloadLongRecord(ppart), pblock->ilObid, piFdLF, piFdLOB, true);
  omsgsTrace("Before reading %ld data pages", static_cast<long>(ppart->ilDataPages));
  int32_t ilSize = ficdataSizeEnreg(pdesc);
  unsigned char *pcBuffer = static_cast<unsigned char *>(malloc(static_cast<size_t>(ilSize)));
  ficdataSlots *pslots = static_cast<ficdataSlots *>(malloc(sizeof(ficdataSlots)));
  if (pcBuffer == nullptr || pslots == nullptr) iRc = 1;
  unloadPageStream stream{pblock->aiPipe[0], {}};
  uint32_t ulWord = 0;
  if (iRc == 0 && !_unloadNextWord(&stream, &ulWord)) {
    omsgsTrace("Page-number pipe ended before its first word");
    if (ppart->ilDataPages > 0) {
      _unloadPagesEnd(pficdata->acTable, 0, ppart->ilDataPages);
      iRc = 1;
    }
    ppart->ilDataPages = 0;
  }
  unloadPages pages;
  _unloadPagesInit(&pages, pficdata, pinfo, &lng.infolong, pdesc, pslots, pcBuffer, ilSize, &vpairs,
                   ppart->ilDataPages);
  for (int32_t i = 0; iRc == 0 && i < ppart->ilDataPages; i++) {
    bool boWord = _unloadNextWord(&stream, &ulWord);
    int32_t ilPage = static_cast<int32_t>(ulWord);
    int32_t ilCont = -1;
    int32_t ilPhys = boWord ? ficdmsIdentifyPage(pblock->pconf, pblock->ilObid, ilPage, &ilCont) : -1;
    if (!boWord || ilPhys < 0 || ilCont < 0 || ilCont >= pblock->pconf->ilContainers || piFd[ilCont] < 0) {
      /* the pages handed to the helpers are sent before the page that cannot be read is reported */
      if (_unloadPagesFlush(&pages) == 0) {
        if (_unloadAnyLive(vpairs)) iRc = 1;
        break;
      }
      if (!boWord) {
        /* the extent map lists fewer pages than the table has */
        omsgsTrace("Page-number pipe ended after %d of %d pages", i, ppart->ilDataPages);
      } else {
        omsgsTrace("Page %d has no mapping or open container (%d)", ilPage, ilCont);
      }
      _unloadPagesEnd(pficdata->acTable, i, ppart->ilDataPages);
      iRc = 1;
      break;
    }
    if (_unloadPage(&pages, {piFd[ilCont], ilPage, ilPhys, i}) == 0) {
      if (_unloadAnyLive(vpairs)) iRc = 1;   /* not the writers' stop: a read or long-data failure */
      break;
    }
  }
  if (iRc == 0 && _unloadPagesFlush(&pages) == 0 && _unloadAnyLive(vpairs)) iRc = 1;
  ficparDestroy(pages.ppar);
  if (pficdata->ilReadCode != 0) iRc = 1;
  _unloadCountDamaged(preader, pficdata->llDamaged);
  _unloadSyncPairs(preader, vpairs);
  _unloadPostEOF(preader);
  free(pcBuffer);
  free(pslots);
  if (_unloadStopLong(&lng) != 0) iRc = 1;
  return iRc;
}

/*
** _unloadDb2DataReaderChild
**   Main of the record-reader child.  Returns the code the child exits
**   with: 0, or 1 when its records could not all be read.
*/
int _unloadDb2DataReaderChild(unloadChildBlock *pblock)
{
  close(pblock->aiPipe[1]);
  /* a long-data child that has ended fails the value asked of it (EPIPE):
     it does not end this process before it writes its end records */
  signal(SIGPIPE, SIG_IGN);
  int iFlags = fcntl(pblock->aiPipe[0], F_GETFL);
  omsgsTrace("Starting pipe reader process (pipe buf = %ld) (flags = 0x%x)",
             fpathconf(pblock->aiPipe[0], _PC_PIPE_BUF), iFlags);
  if (iFlags >= 0 && (iFlags & O_NONBLOCK)) fcntl(pblock->aiPipe[0], F_SETFL, iFlags & ~O_NONBLOCK);

  unload *punload = pblock->preader->punload;
  part *ppart = punload->ppart;
  ficcont *pficcont = ppart->pficcont;
  ficcont *pficcontLong = _unloadLongRecord(ppart);
  const ficdataTableDesc *pdesc = static_cast<const ficdataTableDesc *>(ppart->pTableDesc);
  int *piFd = ficdmsOpenFiles(pficcont, pblock->pcUser);
  int *piFdLF = nullptr, *piFdLOB = nullptr;
  if (pdesc->ucLongField && (punload->ilLongCol & UNLOAD_LONGCOL_LF))
    piFdLF = ficdmsOpenFiles(pficcontLong, pblock->pcUser);
  if (pdesc->ucLob && (punload->ilLongCol & UNLOAD_LONGCOL_LOB))
    piFdLOB = ficdmsOpenFiles(pficcontLong, pblock->pcUser);
  ficdata *pficdata = ficdataCreate(pficcont->ilPageSize, ppart->ilPart, punload->ptaskSelect, punload->ilLongCol);
  if (pficdata != nullptr) _unloadTableName(punload->ptaskSelect, pficdata->acTable, sizeof pficdata->acTable);
  int iRc = 1;
  if (piFd == nullptr || pficdata == nullptr) {
    _unloadPostEOF(pblock->preader);
  } else {
    pficdata->pConf = pblock->pconf;
    ficdataInfoTable info{}, infoLong{};
    ficdataInitInfoTable(pficcont, pblock->ilObid, pficcont->sTbsId, 0, 0, &info);
    ficdataInitInfoTable(pficcontLong, pblock->ilObid, pficcontLong->sTbsId, 0, 0, &infoLong);
    info.pinfoLong = &infoLong;
    iRc = _unloadGetEnregsSeqDMS(pblock, pficdata, piFd, &info, piFdLF, piFdLOB);
  }
  ficdataDestroy(pficdata);
  ficdmsCloseFiles(pficcontLong, piFdLF);
  ficdmsCloseFiles(pficcontLong, piFdLOB);
  ficdmsCloseFiles(pficcont, piFd);
  close(pblock->aiPipe[0]);
  omsgsFlushDefered();
  return iRc;
}

int _unloadTableDB2SeqDMS(const char *pcUser, int32_t ilObid, zorurunReader *preader)
{
  part *ppart = preader->punload->ppart;
  ficcont *pficcont = ppart->pficcont;
  if (ppart->pTableDesc == nullptr || !ficdmsControlFiles(pficcont, pcUser) ||
      (ppart->pficcontLong != nullptr && ppart->pficcontLong != pficcont &&
       !ficdmsControlFiles(ppart->pficcontLong, pcUser))) {
    _unloadPostEOF(preader);
    return 1;
  }
  ficdmsConf *pconf = ficdmsInitConf(pficcont);
  unloadChildBlock block{{-1, -1}, pcUser, ilObid, preader, pconf};
  if (pconf == nullptr || pipe(block.aiPipe) != 0) {
    omsgsTrace("Page-number pipe not made (%s)", strerror(errno));
    ficdmsFreeBuffers(pconf);
    _unloadPostEOF(preader);
    return 1;
  }
  pid_t pidReader = getpid();
  pid_t pid = fork();
  if (pid == 0) {
    toolsDieWithParent(pidReader);
    _exit(_unloadDb2DataReaderChild(&block));
  }
  if (pid < 0) {
    /* Nobody would read the page numbers: end the pairs here. */
    omsgsTrace("Record-reader child not forked (%s)", strerror(errno));
    close(block.aiPipe[0]);
    close(block.aiPipe[1]);
    ficdmsFreeBuffers(pconf);
    _unloadPostEOF(preader);
    return 1;
  }
  close(block.aiPipe[0]);
  omsgsTrace("Starting pipe writer process (pipe buf = %ld) (flags = 0x%x)", fpathconf(block.aiPipe[1], _PC_PIPE_BUF),
             fcntl(block.aiPipe[1], F_GETFL));

  /* The child stops reading once its pages are done or its pairs are all
     stopped: a write after that must fail, not end this process. */
  struct sigaction saIgnore{}, saOld{};
  saIgnore.sa_handler = SIG_IGN;
  sigemptyset(&saIgnore.sa_mask);
  sigaction(SIGPIPE, &saIgnore, &saOld);

  int iListRc = 1;
  int *piFd = ficdmsOpenFiles(pficcont, pcUser);
  if (piFd != nullptr && ficdmsInitBuffers(pconf, pficcont->ilPageSize) == 0) {
    int32_t ilCount = 0;
    ficdmsTabObj *pentries = ficdmsInitTabObj(pconf, piFd, 0, 0, &ilCount);
    if (pentries != nullptr)
      iListRc = ficdmsGetDataPages(pconf, piFd, 0, 0, pentries, ilCount, ilObid, pficcont->sTbsId, block.aiPipe[1]);
    ficdmsFreeTabObj(pentries, ilCount);
  }
  ficdmsCloseFiles(pficcont, piFd);
  close(block.aiPipe[1]);
  sigaction(SIGPIPE, &saOld, nullptr);

  int iStatus = 0;
  pid_t pidWait;
  while ((pidWait = waitpid(pid, &iStatus, 0)) < 0 && errno == EINTR) {
  }
  omsgsTrace("Stopping pipe writer process");
  ficdmsFreeBuffers(pconf);

  int iRc = 0;
  if (pidWait != pid || !WIFEXITED(iStatus)) {
    omsgsTrace("Record-reader child ended abnormally (status 0x%x)", iStatus);
    if (pidWait == pid && WIFSIGNALED(iStatus)) omsgsFMTEDO(ZORU368E, WTERMSIG(iStatus));
    iRc = 1;
  } else {
    iRc = WEXITSTATUS(iStatus);
  }
  /* a child that ended before its first record wrote no end record either:
     its writers would wait for it for ever */
  if (iRc != 0)
    for (int32_t i = 0; i < preader->iPairCount; i++)
      if (preader->appair[i] != nullptr && ovfEndUnstarted(preader->appair[i]->povf) != 0)
        omsgsTrace("Pair %d ended for the record-reader child", static_cast<int>(i));
  if (iListRc != 0 && iListRc != FICDMS_RC_PIPE) {
    omsgsTrace("Page numbers not all listed (0x%x)", iListRc);
    iRc = 1;
  }
  return iRc;
}

/* ------------------------------------------- table-space object path */

/* The sampler of the table-space object path.  Returns 1 keep, 0 skip. */
int _unloadRecordConcerned(unload *punload)
{
  return ficdataSampleKeep(punload->iSampling, punload->ilSkip, punload->ilInterval, &punload->ilCounter,
                           &punload->ilLastKept);
}

/*
** _unloadProcessLFLOB
**   Completes the unload record pcRecord (ilLength bytes) with its long
**   fields and LOBs into pcBuffer (ilBufferSize bytes): each used, present,
**   non-NULL such column is appended and its descriptor patched; byte 5
**   of the header gets FICDATA_UREC_CUT when an inline LOB was cut to its
**   first FICDATA_MAX_LONGDATA bytes, else 0 (storage/ficdata.h).
**   *pilLength = the completed length.  Returns 0 or the last non-zero code
**   of a loader (ZORTS_RC_BADDESC for a descriptor outside the record).
*/
int _unloadProcessLFLOB(zorurunReader *preader, zorts *pts, unsigned char *pcBuffer, int32_t ilBufferSize,
                        int32_t *pilLength, const unsigned char *pcRecord, int32_t ilLength)
{
  if (ilLength < FICDATA_REC_HEADER || ilLength > ilBufferSize) return FICDATA_RC_CORRUPT;
  if (pcBuffer != pcRecord) memcpy(pcBuffer, pcRecord, static_cast<size_t>(ilLength));
  pcBuffer[FICDATA_UREC_FLAGS] = 0;   /* the stored byte is no flag of ours */
  unsigned char *pcData = pcBuffer + FICDATA_REC_HEADER;
  int32_t ilRoom = ilBufferSize - FICDATA_REC_HEADER;
  int32_t ilRunning = ilLength - FICDATA_REC_HEADER;
  const int32_t ilRowLength = ilRunning;
  int32_t ilFixed = static_cast<int16_t>(obyteGetLE16(pcBuffer + FICDATA_REC_FIXED));
  const ficdataTableDesc *pdesc = &pts->tbdesc;
  int iRc = 0;
  for (int16_t c = 0; c < pdesc->sColumnCount; c++) {
    const ficdataColumnDesc &col = pdesc->pcolumns[c];
    if (!col.sUsed || col.sOffset < 0 || col.sOffset >= ilFixed || col.sOffset + 4 > ilRowLength) continue;
    bool boLF = col.sType == FICDATA_T_LONGVARCHAR || col.sType == FICDATA_T_LONGVARG;
    bool boLOB = col.sType == FICDATA_T_BLOB || col.sType == FICDATA_T_CLOB || col.sType == FICDATA_T_DBCLOB;
    if (!boLF && !boLOB) continue;
    if ((col.sFlags & 1) && col.sOffset + 4 < ilRowLength && pcData[col.sOffset + 4] != 0) continue;
    int32_t ilDesc = static_cast<int16_t>(obyteGetLE16(pcData + col.sOffset));
    int32_t ilDescSize = static_cast<int16_t>(obyteGetLE16(pcData + col.sOffset + 2));
    int32_t ilNeed = boLF ? FICDATA_LF_SIZE : FICDATA_LOB_SIZE;
    if (ilDesc < 0 || ilDesc + ilNeed > ilRowLength || (boLOB && ilDesc + ilDescSize > ilRowLength)) {
      omsgsTrace("Column %d: long-data descriptor at %d outside the row of %d bytes", c, ilDesc, ilRowLength);
      iRc = ZORTS_RC_BADDESC;
      continue;
    }
    unsigned char *pcDesc = pcData + ilDesc;
    int32_t n = 0;
    int iLoad;
    if (boLF) {
      iLoad = zortsLoadLF(pts->pzortsLF, pcDesc, pcData + ilRunning, ilRoom - ilRunning, &n);
      obytePutLE32(pcDesc + FICDATA_LF_POSITION, static_cast<uint32_t>(ilRunning));
    } else {
      if ((preader->ulFlags & ZORURUN_READER_LOBFILE) && preader->pwriteLob != nullptr) {
        iLoad = zortsLoadInFileLob(pts->pzortsLOB, preader->pwriteLob, nullptr, pcDesc, ilDescSize,
                                   pcData + ilRunning, ilRoom - ilRunning, &n);
      } else {
        iLoad = zortsLoadInlineLob(pts->pzortsLOB, pcDesc, ilDescSize, pcData + ilRunning, ilRoom - ilRunning, &n);
        if (iLoad == 0 && static_cast<int32_t>(obyteGetLE32(pcDesc + FICDATA_LOB_LENGTH)) > FICDATA_MAX_LONGDATA)
          pcBuffer[FICDATA_UREC_FLAGS] = FICDATA_UREC_CUT;   /* the writer counts it */
      }
      obytePutLE32(pcDesc + FICDATA_LOB_DATALEN, static_cast<uint32_t>(n));
      obytePutLE32(pcDesc + FICDATA_LOB_FIRST, static_cast<uint32_t>(ilRunning));
    }
    if (iLoad != 0) iRc = iLoad;
    if (n > 0 && n <= ilRoom - ilRunning) ilRunning += n;
  }
  *pilLength = ilRunning + FICDATA_REC_HEADER;
  return iRc;
}

}  // namespace

/* ------------------------------------------------------------ public */

unload *unloadCreate(part *ppart, zortask *ptaskSelect, int32_t ilLongCol)
{
  unload *punload = static_cast<unload *>(calloc(1, sizeof(unload)));
  if (punload == nullptr) return nullptr;
  punload->ppart = ppart;
  punload->ptaskSelect = ptaskSelect;
  punload->ilLongCol = ilLongCol;
  punload->ilSkip = _unloadAtomInt(ptaskSelect, TOKEN_SKIP, 0);
  punload->ilInterval = _unloadAtomInt(ptaskSelect, TOKEN_INTERVAL, 0);
  punload->iSampling = punload->ilSkip > 0 || punload->ilInterval > 0;
  return punload;
}

void unloadDestroy(unload *punload)
{
  free(punload);
}

int unloadTableDesc(const char *pcUser, ficcont *pficcont, int32_t ilObid, ficdataTableDesc *pdesc, int32_t *pilPages)
{
  if (pficcont == nullptr || pdesc == nullptr) return 1;
  switch (pficcont->ilType) {
    case FICCONT_TYPE_SMS: return _unloadTableDescSMS(pcUser, pficcont, ilObid, pdesc, pilPages);
    case FICCONT_TYPE_DMS: return _unloadTableDescDMS(pcUser, pficcont, ilObid, pdesc, pilPages);
    default:
      omsgsTrace("Table-space type %d is neither SMS nor DMS", pficcont->ilType);
      return 1;
  }
}

int unloadTableDB2Seq(const char *pcUser, int32_t ilObid, zorurunReader *preader)
{
  if (preader == nullptr || preader->punload == nullptr || preader->punload->ppart == nullptr) return 1;
  part *ppart = preader->punload->ppart;
  int iRc;
  if (ppart->pzorts != nullptr) {
    iRc = unloadFromTs(preader);
  } else if (ppart->pficcont == nullptr) {
    _unloadPostEOF(preader);
    iRc = 1;
  } else {
    switch (ppart->pficcont->ilType) {
      case FICCONT_TYPE_SMS: iRc = _unloadTableDB2SeqSMS(pcUser, ilObid, preader); break;
      case FICCONT_TYPE_DMS: iRc = _unloadTableDB2SeqDMS(pcUser, ilObid, preader); break;
      default:
        omsgsTrace("Table-space type %d is neither SMS nor DMS", ppart->pficcont->ilType);
        _unloadPostEOF(preader);
        iRc = 1;
        break;
    }
  }
  ficdataTableDesc *pdesc = static_cast<ficdataTableDesc *>(ppart->pTableDesc);
  if (pdesc != nullptr) {
    free(pdesc->pcolumns);
    pdesc->pcolumns = nullptr;
  }
  return iRc;
}

/*
** What the record loop of a table-space object works with: its buffers,
** its state from page to page, and what it ends with.  A page's rows are
** read by the loop itself or, when the read allows them, by the helper
** threads of storage/ficpar.h; either way each row goes through
** _unloadTsRow.
*/
struct unloadTs {
  zorurunReader *preader = nullptr;
  zorts *pts = nullptr;
  unsigned char *pcExpand = nullptr;   /* the expanded record */
  unsigned char *pcBuffer = nullptr;   /* the record completed with its long data */
  int32_t ilSize = 0;
  ficdataSlots *pslots = nullptr;
  ficdataRowCheck check{};
  bool boLong = false;
  bool boLobFiles = false;
  bool boAllStopped = false;
  int iRc = 0;
  int64_t llFailedPage = -1;           /* the page whose row set iRc */
  int64_t llDamaged = 0;
  char acTable[FICDATA_TABLE_NAME_SIZE] = {};
};

/*
** A row of slot iSlot of object page llObjectPage to every live pair (its
** WHERE tree accepting it), completed with its long data first when the
** SELECT has some.  Returns 1 to go on; 0 once no pair is left, or at the
** first row of a later page once a row failed (the loop stops after the
** page of the failure).
*/
int _unloadTsRow(void *pCtx, const unsigned char *pcRecord, int32_t ilLength, int64_t llObjectPage, int iSlot)
{
  unloadTs &ts = *static_cast<unloadTs *>(pCtx);
  zorurunReader *preader = ts.preader;
  if (ts.boAllStopped || (ts.iRc != 0 && llObjectPage != ts.llFailedPage)) return 0;
  const unsigned char *pcOut = pcRecord;
  int32_t ilOut = ilLength;
  bool boCompleted = false;
  int iLive = 0;
  for (int32_t i = 0; i < preader->iPairCount; i++) {
    zorurunPair *ppair = preader->appair[i];
    if (ppair == nullptr || ppair->povf == nullptr) continue;
    if (ppair->pnodeWhere != nullptr && ppair->pctxEval != nullptr) {
      zornodeEvalSetRecord(ppair->pctxEval, reinterpret_cast<const char *>(pcRecord), ilLength);
      if (zornodeEvalBool(ppair->pctxEval, ppair->pnodeWhere) != 1) {
        iLive++;
        continue;
      }
    }
    if (ts.boLong && (!boCompleted || ts.boLobFiles)) {
      int iLoad = _unloadProcessLFLOB(preader, ts.pts, ts.pcBuffer, ts.ilSize, &ilOut, pcRecord, ilLength);
      if (iLoad != 0 && ts.iRc == 0) ts.llFailedPage = llObjectPage;
      if (iLoad != 0) ts.iRc = iLoad;
      pcOut = ts.pcBuffer;
      boCompleted = true;
    }
    int iWrite = ovfWrite(ppair->povf, pcOut, ilOut);
    if (iWrite == OVF_RC_STOPPED) {
      omsgsTrace("Pair %d stopped by its writer", i);
      ppair->povf = nullptr;
      continue;
    }
    if (iWrite != 0) {
      omsgsFMTEDO(ZORU452E, static_cast<int>(ilOut), ts.acTable, static_cast<long long>(llObjectPage), iSlot, iWrite);
      if (ts.iRc == 0) {
        ts.iRc = FICDATA_RC_REFUSED;
        ts.llFailedPage = llObjectPage;
      }
    }
    iLive++;
  }
  if (iLive == 0) {
    ts.boAllStopped = true;
    for (int32_t i = 0; i < preader->iPairCount; i++)
      if (preader->appair[i] != nullptr && preader->appair[i]->povf != nullptr) ts.boAllStopped = false;
  }
  return ts.boAllStopped ? 0 : 1;
}

/*
** The helpers' rows of a batch at once (see _unloadPagesRecords): in runs
** into the only live pair when no long data completes them and no row has
** failed yet; else, and from the first row not simply appended, row by row.
*/
int32_t _unloadTsRecords(void *pCtx, const unsigned char *pucRecords, int64_t llBytes, int32_t ilCount)
{
  unloadTs &ts = *static_cast<unloadTs *>(pCtx);
  zorurunReader *preader = ts.preader;
  if (ts.boAllStopped || ts.iRc != 0 || ts.boLong) return 0;
  ovf *povf = nullptr;
  for (int32_t i = 0; i < preader->iPairCount; i++) {
    zorurunPair *ppair = preader->appair[i];
    if (ppair == nullptr || ppair->povf == nullptr) continue;
    if (povf != nullptr || ppair->pnodeWhere != nullptr) return 0;
    povf = ppair->povf;
  }
  int32_t ilWritten = 0;
  if (povf != nullptr) ovfWriteRecords(povf, pucRecords, llBytes, ilCount, &ilWritten);
  return ilWritten;
}

/*
** A page of the table-space object read by the loop itself: checked, its
** damaged slots and records counted and reported, the others' rows sent.
** Returns 1 to go on, 0 as _unloadTsRow, or at once once a row failed.
*/
int _unloadTsPage(void *pCtx, const ficparPage *ppage)
{
  unloadTs &ts = *static_cast<unloadTs *>(pCtx);
  if (ts.boAllStopped || ts.iRc != 0) return 0;
  zorts *pts = ts.pts;
  const unsigned char *pcPage = ppage->pucPage;
  int64_t llObjectPage = 0;
  if (!ficdataCheckPage(ts.acTable, &ts.llDamaged, pcPage, pts->ilPageSize, ppage->llExpectedPage, ts.pslots,
                        &llObjectPage))
    return 1;
  const ficdataSlots &slots = *ts.pslots;
  unload *punload = ts.preader->punload;
  for (int32_t s = ficdataFirstDataSlot(llObjectPage); s < slots.ilCount && !ts.boAllStopped; s++) {
    if (pts->boDescMoved && llObjectPage == pts->llDescPage && s == pts->iDescSlot) continue;   /* no row */
    int iKind = slots.aiKind[s];
    if (iKind == FICDATA_KIND_DAMAGED) {
      ficdataSkipDamaged(ts.acTable, &ts.llDamaged, llObjectPage, s, FICDATA_RC_CORRUPT);
      continue;
    }
    if (iKind != FICDATA_KIND_NORMAL && iKind != FICDATA_KIND_OVERFLOW) continue;
    int32_t ilOffset = slots.ailOffset[s];
    int32_t ilLength = 0;
    int iCheck = ficdataRecordInPage(pcPage, pts->ilPageSize, ilOffset, &ilLength);
    if (iCheck != 0) {
      ficdataSkipDamaged(ts.acTable, &ts.llDamaged, llObjectPage, s, iCheck);
      continue;
    }
    if (!_unloadRecordConcerned(punload)) continue;
    /* a copied record has its stored flags byte cleared, as the forked readers send it */
    int iRow = ficdataDecodeRecord(&ts.check, pcPage, pts->ilPageSize, ilOffset, ts.pcExpand, ts.ilSize, &ilLength);
    if (iRow != 0) {
      ficdataSkipDamaged(ts.acTable, &ts.llDamaged, llObjectPage, s, iRow);
      continue;
    }
    _unloadTsRow(&ts, ts.pcExpand, ilLength, llObjectPage, s);
  }
  return ts.boAllStopped ? 0 : 1;
}

int unloadFromTs(zorurunReader *preader)
{
  if (preader == nullptr || preader->punload == nullptr || preader->punload->ppart == nullptr ||
      preader->punload->ppart->pzorts == nullptr)
    return ORC_INVALID;
  unload *punload = preader->punload;
  zorts *pts = punload->ppart->pzorts;
  int iRc = zortsLaunchThreads(pts);
  if (iRc != 0) {
    /* The writers wait for every pair's end record: give it to them. */
    omsgsTrace("Reader threads not started (0x%x)", iRc);
    _unloadPostEOF(preader);
    return iRc;
  }

  unloadTs ts;
  ts.preader = preader;
  ts.pts = pts;
  ts.ilSize = pts->ilMaxRecord > 0 ? pts->ilMaxRecord : ficdataSizeEnreg(&pts->tbdesc);
  if (ts.ilSize < FICDATA_MAX_ROW + FICDATA_REC_HEADER) ts.ilSize = FICDATA_MAX_ROW + FICDATA_REC_HEADER;
  /* The expanded record and the completed one are kept apart, so that a
     record completed for one pair can be completed again from its own
     descriptors for the next pair that writes its own LOB files. */
  ts.pcExpand = static_cast<unsigned char *>(malloc(static_cast<size_t>(ts.ilSize)));
  ts.pcBuffer = static_cast<unsigned char *>(malloc(static_cast<size_t>(ts.ilSize)));
  ts.pslots = static_cast<ficdataSlots *>(malloc(sizeof(ficdataSlots)));
  ficdataRowCheckPrepare(&pts->tbdesc, &ts.check);
  ts.boLong = punload->ptaskSelect != nullptr &&
              (punload->ptaskSelect->ulFlags & (ZORURUN_SELFLAG_LONG | ZORURUN_SELFLAG_LOB)) != 0;
  ts.boLobFiles = (preader->ulFlags & ZORURUN_READER_LOBFILE) != 0;
  _unloadTableName(punload->ptaskSelect, ts.acTable, sizeof ts.acTable);
  if (ts.pcExpand == nullptr || ts.pcBuffer == nullptr || ts.pslots == nullptr) iRc = ORC_NOMEM;

  /* the pages' rows are decoded by helpers when nothing is kept from row to row */
  bool boSerial = punload->iSampling || ts.boLong;
  for (int32_t i = 0; i < preader->iPairCount; i++)
    if (preader->appair[i] != nullptr && preader->appair[i]->pnodeWhere != nullptr) boSerial = true;
  ficpar *ppar = nullptr;
  int iHelpers = iRc == 0 ? ficparHelpers(pts->ilPageSize, pts->ilPageCount, boSerial) : 0;
  if (iHelpers > 0) {
    ficparTable table{&pts->tbdesc, pts->ilPageSize, ts.ilSize, 0,
                      pts->boDescMoved ? static_cast<int32_t>(pts->llDescPage) : -1, pts->iDescSlot};
    ficparSink sink{&ts, _unloadTsRow, _unloadTsPage, _unloadTsRecords};
    ppar = ficparCreate(&table, &sink, iHelpers);
  }

  int iReadCode = 0;
  bool boEnded = false;   /* the sink answered 0: nothing more is read */
  int64_t llPagesRead = 0;   /* pages of the table handed out, damaged ones too */
  while (iRc == 0 && !boEnded) {
    unsigned char *pcPage = pts->pfnReadNext(pts, &iReadCode);
    if (iReadCode != 0) break;
    if (pcPage == nullptr) continue;
    llPagesRead++;
    ficparPage page{-1, static_cast<int32_t>(llPagesRead - 1), -1, pts->boPageExpected ? pts->llPageExpected : -1,
                    pcPage};
    boEnded = (ppar != nullptr ? ficparPut(ppar, &page) : _unloadTsPage(&ts, &page)) == 0;
  }
  /* the rows of the pages the helpers hold go before the end is reported */
  if (ppar != nullptr && !boEnded) ficparFlush(ppar);
  ficparDestroy(ppar);
  if (iRc == 0) iRc = ts.iRc;
  bool boAllStopped = ts.boAllStopped;
  if (ts.boAllStopped) omsgsTrace("Jump to end for lack of ovf");
  _unloadCountDamaged(preader, ts.llDamaged);
  if (iRc == 0 && iReadCode != 0 && iReadCode != ZORTS_RC_END && iReadCode != ZORTS_RC_ENDEMP) {
    omsgsTrace("Page read failed (0x%x)", iReadCode);
    _unloadPagesEnd(ts.acTable, llPagesRead, pts->ilPageCount);
    iRc = iReadCode;
  } else if (iRc == 0 && !boAllStopped && pts->ilPageCount > 0 && llPagesRead < pts->ilPageCount) {
    /* the source ended before the table's last page: the rest is lost */
    omsgsTrace("Source ended after %lld of %d pages", static_cast<long long>(llPagesRead), pts->ilPageCount);
    _unloadPagesEnd(ts.acTable, llPagesRead, pts->ilPageCount);
    iRc = FICDATA_RC_PAGES;
  }
  if (!boAllStopped) {
    omsgsTrace("Post EOFs to ovf");
    int iCount = _unloadPostEOF(preader);
    omsgsTrace("EOF written in %d pairs", iCount);
  }
  omsgsTrace("Ts to be destroyed");
  zortsDestroy(pts);
  punload->ppart->pzorts = nullptr;
  omsgsTrace("Ts destroyed");
  free(ts.pcExpand);
  free(ts.pcBuffer);
  free(ts.pslots);
  return iRc;
}

unloadInitRecord *unloadInit(int32_t ilCount, const intptr_t *alValues, intptr_t l1, intptr_t l2, intptr_t l3,
                             intptr_t l4, intptr_t l5, intptr_t l6, intptr_t l7, intptr_t l8)
{
  if (ilCount < 0 || (ilCount > 0 && alValues == nullptr)) return nullptr;
  unloadInitRecord *arec =
      static_cast<unloadInitRecord *>(calloc(ilCount > 0 ? static_cast<size_t>(ilCount) : 1, sizeof(unloadInitRecord)));
  if (arec == nullptr) return nullptr;
  for (int32_t i = 0; i < ilCount; i++) {
    arec[i].lValue = alValues[i];
    intptr_t al[8] = {l1, l2, l3, l4, l5, l6, l7, l8};
    memcpy(arec[i].alWords, al, sizeof al);
  }
  return arec;
}
