/*
** ficpar.cpp
**   Data pages of one table decoded on helper threads, their rows handed to
**   the caller's sink by the calling thread in page order (see ficpar.h).
**
**   Batches live in a ring and are numbered in the order they are filled:
**   the calling thread fills batch n, queues it, and writes batch w <= n
**   once its helper is done; a helper takes the queued batches in order.
**   A batch is free (the caller may fill it), filling, queued, decoding or
**   done; one mutex guards the states and the counters, the batches' pages
**   and rows belong to whoever holds the batch in its state.
*/
#include "storage/ficpar.h"

#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "common/obyte.h"
#include "common/omsgs.h"
#include "storage/ficdb2.h"

#define OMSGS_TRACE_KEYWORD "$FICDAT"
#define OMSGS_DEBUG_KEYWORD nullptr
#include "common/omsgsmod.h"

namespace {

enum { PAR_FREE, PAR_FILLING, PAR_QUEUED, PAR_DECODING, PAR_DONE };

/* A row a helper decoded: where its bytes lie in the batch, and where it came from.
   The rows lie one after the other as a record channel holds records: the
   row's length in the 4 bytes before it, zeros after it to a multiple of 4. */
struct parRow {
  int64_t llObjectPage;
  int64_t llOffset;   /* of the row's bytes, after its length */
  int32_t ilLength;
  int32_t iSlot;
};

/* Helpers fill batches side by side, and the calling thread reads another:
   each batch and each helper starts a cache line of its own. */
struct alignas(64) parBatch {
  int iState = PAR_FREE;
  std::vector<ficparPage> vpages;
  size_t ulLeft = 0;                  /* first page left to the calling thread (vpages.size(): none) */
  unsigned char *pucCopies = nullptr; /* pages given by their bytes, copied in page order (made at first use) */
  unsigned char *pucRows = nullptr;   /* the rows' bytes, one after the other */
  size_t ulRowsUsed = 0;
  size_t ulRowsSize = 0;
  std::vector<parRow> vrows;
};

/* What a helper works with: the pages of the batch it reads (one buffer, kept warm), its slots. */
struct alignas(64) parHelper {
  unsigned char *pucPages = nullptr;
  ficdataSlots slots;
};

std::atomic<int> giForcedHelpers{-1};
std::atomic<int32_t> gilForcedBatch{-1};

int32_t _parBatchPages(int32_t ilPageSize)
{
  int32_t ilForced = gilForcedBatch.load(std::memory_order_relaxed);
  if (ilForced > 0) return ilForced;
  return std::max<int32_t>(1, FICDATA_AHEAD_BYTES / std::max<int32_t>(ilPageSize, 1));
}

}  // namespace

struct ficpar {
  ficparTable table;
  ficparSink sink;
  int32_t ilBatchPages;
  ficdataRowCheck check;
  std::mutex mutex;
  std::condition_variable condHelpers;   /* a batch was queued, or the stop */
  std::condition_variable condDone;      /* a batch was decoded */
  std::vector<parBatch> vbatch;
  int64_t llFilling = 0;   /* number of the batch being filled (or to fill next) */
  int64_t llQueued = 0;    /* batches queued so far */
  int64_t llTaken = 0;     /* batches taken by helpers so far */
  int64_t llWritten = 0;   /* batches handed on so far */
  bool boStop = false;
  std::vector<parHelper> vhelpers;
  std::vector<std::thread> vthreads;
};

namespace {

parBatch &_parAt(ficpar &par, int64_t llSeq)
{
  return par.vbatch[static_cast<size_t>(llSeq % static_cast<int64_t>(par.vbatch.size()))];
}

/* Room for one more row of at most ulRow bytes in the batch; false without memory. */
bool _parRoom(parBatch &batch, size_t ulRow)
{
  if (batch.ulRowsUsed + ulRow <= batch.ulRowsSize) return true;
  size_t ulSize = std::max(batch.ulRowsSize * 2, batch.ulRowsUsed + ulRow);
  auto *puc = static_cast<unsigned char *>(std::realloc(batch.pucRows, ulSize));
  if (puc == nullptr) return false;
  batch.pucRows = puc;
  batch.ulRowsSize = ulSize;
  return true;
}

/*
** Decodes one page read by a helper: true when the page is the object page
** it must be, its slot directory is sound and every record on it decoded,
** its rows appended to the batch; false when anything on it would need a
** message (the caller then drops what the page appended).
*/
bool _parPage(ficpar &par, parHelper &helper, parBatch &batch, const ficparPage &page, const unsigned char *pcPage)
{
  const ficparTable &table = par.table;
  int64_t llCarried = obyteGetLE32(pcPage + FICDATA_PAGE_NUMBER);
  if (page.llExpectedPage >= 0 && llCarried != page.llExpectedPage) return false;
  int64_t llObjectPage = page.llExpectedPage >= 0 ? page.llExpectedPage : llCarried;
  if (llObjectPage == 0) return false;   /* the table's first page names the descriptor: the record loop's */
  if (ficdataReadSlots(pcPage, table.ilPageSize, &helper.slots) != 0) return false;
  bool boDescPage = table.ilDescPage >= 0 &&
                    table.ilDescPage == (page.pucPage != nullptr ? llObjectPage : page.ilLogicalPage);
  for (int s = ficdataFirstDataSlot(llObjectPage); s < helper.slots.ilCount; s++) {
    if (boDescPage && s == table.iDescSlot) continue;
    int iKind = helper.slots.aiKind[s];
    if (iKind == FICDATA_KIND_DAMAGED) return false;
    if (iKind != FICDATA_KIND_NORMAL && iKind != FICDATA_KIND_OVERFLOW) continue;
    if (!_parRoom(batch, static_cast<size_t>(table.ilRowRoom) + 8)) return false;
    int32_t ilLength = 0;
    unsigned char *pucRecord = batch.pucRows + batch.ulRowsUsed;
    if (ficdataDecodeRecord(&par.check, pcPage, table.ilPageSize, helper.slots.ailOffset[s], pucRecord + 4,
                            table.ilRowRoom, &ilLength) != 0)
      return false;
    size_t ulPadded = (static_cast<size_t>(ilLength) + 3) & ~static_cast<size_t>(3);
    obytePutLE32(pucRecord, static_cast<uint32_t>(ilLength));
    std::memset(pucRecord + 4 + ilLength, 0, ulPadded - static_cast<size_t>(ilLength));
    batch.vrows.push_back({llObjectPage, static_cast<int64_t>(batch.ulRowsUsed) + 4, ilLength, s});
    batch.ulRowsUsed += 4 + ulPadded;
  }
  return true;
}

/*
** Reads and decodes a batch: runs of pages that follow each other in one
** file are read with one pread each; pages given by their bytes are
** decoded where they were copied.  Stops at the first page that was not
** read whole or not decoded cleanly; it and the later pages are left to
** the calling thread.
*/
void _parDecode(ficpar &par, parHelper &helper, parBatch &batch)
{
  batch.ulRowsUsed = 0;
  batch.vrows.clear();
  const size_t ulPages = batch.vpages.size();
  const size_t ulPageSize = static_cast<size_t>(par.table.ilPageSize);
  const bool boCopied = ulPages > 0 && batch.vpages[0].pucPage != nullptr;
  size_t ulRead = boCopied ? ulPages : 0;   /* pages read whole */
  while (ulRead < ulPages) {
    size_t ulEnd = ulRead + 1;
    while (ulEnd < ulPages && batch.vpages[ulEnd].iFd == batch.vpages[ulRead].iFd &&
           batch.vpages[ulEnd].ilPhysicalPage == batch.vpages[ulEnd - 1].ilPhysicalPage + 1)
      ulEnd++;
    const ficparPage &first = batch.vpages[ulRead];
    size_t ulWant = (ulEnd - ulRead) * ulPageSize;
    off_t llAt = static_cast<off_t>(first.ilPhysicalPage) * par.table.ilPageSize + static_cast<off_t>(par.table.llOffset);
    size_t ulGot = 0;
    while (first.iFd >= 0 && first.ilPhysicalPage >= 0 && ulGot < ulWant) {
      ssize_t l = pread(first.iFd, helper.pucPages + ulRead * ulPageSize + ulGot, ulWant - ulGot,
                        llAt + static_cast<off_t>(ulGot));
      if (l < 0 && errno == EINTR) continue;
      if (l <= 0) break;
      ulGot += static_cast<size_t>(l);
    }
    for (size_t p = ulRead; p < ulRead + ulGot / ulPageSize; p++) {
      unsigned char *pucPage = helper.pucPages + p * ulPageSize;
      ficdb2RestaureBits(pucPage, par.table.ilPageSize, pucPage + FICDATA_PAGE_TORN0);
    }
    ulRead += ulGot / ulPageSize;
    if (ulGot < ulWant) break;
  }
  size_t p = 0;
  for (; p < ulRead; p++) {
    size_t ulUsed = batch.ulRowsUsed, ulRows = batch.vrows.size();
    const unsigned char *pcPage = boCopied ? batch.vpages[p].pucPage : helper.pucPages + p * ulPageSize;
    if (!_parPage(par, helper, batch, batch.vpages[p], pcPage)) {
      batch.ulRowsUsed = ulUsed;
      batch.vrows.resize(ulRows);
      break;
    }
  }
  batch.ulLeft = p;
}

void _parHelperMain(ficpar *ppar, parHelper *phelper)
{
  ficpar &par = *ppar;
  std::unique_lock<std::mutex> lock(par.mutex);
  for (;;) {
    par.condHelpers.wait(lock, [&] { return par.boStop || par.llTaken < par.llQueued; });
    if (par.boStop) break;
    parBatch &batch = _parAt(par, par.llTaken++);
    batch.iState = PAR_DECODING;
    lock.unlock();
    _parDecode(par, *phelper, batch);
    lock.lock();
    batch.iState = PAR_DONE;
    par.condDone.notify_all();
  }
}

/*
** Hands the rows of the oldest batch not handed on to the sink, then the
** pages its helper left, and frees it.  Waits for the batch when boWait,
** else returns 2 when it is not done yet.  Returns 1 to go on, 0 once the
** sink answered 0, 2 when there was nothing to hand on.
*/
int _parWriteOldest(ficpar &par, bool boWait)
{
  parBatch *pbatch;
  {
    std::unique_lock<std::mutex> lock(par.mutex);
    if (par.llWritten >= par.llQueued) return 2;
    pbatch = &_parAt(par, par.llWritten);
    if (!boWait && pbatch->iState != PAR_DONE) return 2;
    par.condDone.wait(lock, [&] { return pbatch->iState == PAR_DONE; });
  }
  parBatch &batch = *pbatch;
  const ficparSink &sink = par.sink;
  int iGo = 1;
  size_t ulRow = 0;
  if (sink.pfnRecords != nullptr && !batch.vrows.empty())
    ulRow = static_cast<size_t>(std::clamp<int32_t>(
        sink.pfnRecords(sink.pCtx, batch.pucRows, static_cast<int64_t>(batch.ulRowsUsed),
                        static_cast<int32_t>(batch.vrows.size())),
        0, static_cast<int32_t>(batch.vrows.size())));
  for (; ulRow < batch.vrows.size(); ulRow++) {
    const parRow &row = batch.vrows[ulRow];
    iGo = sink.pfnRow(sink.pCtx, batch.pucRows + row.llOffset, row.ilLength, row.llObjectPage, row.iSlot);
    if (iGo == 0) break;
  }
  for (size_t p = batch.ulLeft; iGo != 0 && p < batch.vpages.size(); p++) {
    omsgsTrace("Page %d decoded by the record loop itself", batch.vpages[p].ilLogicalPage);
    iGo = sink.pfnPage(sink.pCtx, &batch.vpages[p]);
  }
  std::lock_guard<std::mutex> lock(par.mutex);
  batch.iState = PAR_FREE;
  par.llWritten++;
  return iGo;
}

/* Queues the batch being filled, when it holds pages. */
void _parQueue(ficpar &par)
{
  std::lock_guard<std::mutex> lock(par.mutex);
  parBatch &batch = _parAt(par, par.llFilling);
  if (batch.iState != PAR_FILLING || batch.vpages.empty()) return;
  batch.iState = PAR_QUEUED;
  par.llFilling++;
  par.llQueued++;
  par.condHelpers.notify_one();
}

}  // namespace

int ficparHelpers(int32_t ilPageSize, int64_t llPages, int boSerial)
{
  if (boSerial || llPages < 3 * static_cast<int64_t>(_parBatchPages(ilPageSize))) return 0;
  int iForced = giForcedHelpers.load(std::memory_order_relaxed);
  if (iForced >= 0) return iForced;
  cpu_set_t set;
  int iCpus = sched_getaffinity(0, sizeof set, &set) == 0 ? CPU_COUNT(&set) : 1;
  /* one helper does not keep pace with the thread that hands the rows on: two or none */
  return iCpus >= 6 ? 2 : 0;
}

ficpar *ficparCreate(const ficparTable *ptable, const ficparSink *psink, int iHelpers)
{
  if (ptable == nullptr || ptable->pdesc == nullptr || !ficdataIsPageSize(ptable->ilPageSize) ||
      ptable->ilRowRoom < ficdataSizeEnreg(ptable->pdesc) || psink == nullptr || psink->pfnRow == nullptr ||
      psink->pfnPage == nullptr || iHelpers <= 0)
    return nullptr;
  auto *ppar = new (std::nothrow) ficpar;
  if (ppar == nullptr) return nullptr;
  ficpar &par = *ppar;
  par.table = *ptable;
  par.sink = *psink;
  par.ilBatchPages = _parBatchPages(ptable->ilPageSize);
  ficdataRowCheckPrepare(ptable->pdesc, &par.check);
  bool boOk = true;
  try {
    /* two batches a helper, one being filled and one being handed on */
    par.vbatch.resize(static_cast<size_t>(2 * iHelpers + 2));
    for (parBatch &batch : par.vbatch) batch.vpages.reserve(static_cast<size_t>(par.ilBatchPages));
    par.vhelpers.resize(static_cast<size_t>(iHelpers));
  } catch (const std::bad_alloc &) {
    boOk = false;
  }
  for (size_t i = 0; boOk && i < par.vhelpers.size(); i++) {
    par.vhelpers[i].pucPages =
        static_cast<unsigned char *>(std::malloc(static_cast<size_t>(par.ilBatchPages) * ptable->ilPageSize));
    boOk = par.vhelpers[i].pucPages != nullptr;
  }
  if (boOk) {
    /* the helpers block every signal: a signal asking the process to stop reaches this thread */
    sigset_t setAll, setOld;
    sigfillset(&setAll);
    pthread_sigmask(SIG_SETMASK, &setAll, &setOld);
    try {
      for (parHelper &helper : par.vhelpers) par.vthreads.emplace_back(_parHelperMain, ppar, &helper);
    } catch (const std::system_error &e) {
      omsgsTrace("Helper not started: %s", e.what());
      boOk = false;
    }
    pthread_sigmask(SIG_SETMASK, &setOld, nullptr);
  }
  if (!boOk) {
    ficparDestroy(ppar);
    return nullptr;
  }
  omsgsTrace("%d helpers, batches of %d pages", iHelpers, par.ilBatchPages);
  return ppar;
}

int ficparPut(ficpar *ppar, const ficparPage *ppage)
{
  if (ppar == nullptr || ppage == nullptr) return 0;
  ficpar &par = *ppar;
  /* the batch to fill is free once every batch before it in the ring is handed on */
  while (par.llFilling - par.llWritten >= static_cast<int64_t>(par.vbatch.size()))
    if (_parWriteOldest(par, true) == 0) return 0;
  parBatch &batch = _parAt(par, par.llFilling);
  const size_t ulPageSize = static_cast<size_t>(par.table.ilPageSize);
  if (ppage->pucPage != nullptr && batch.pucCopies == nullptr) {
    batch.pucCopies = static_cast<unsigned char *>(std::malloc(static_cast<size_t>(par.ilBatchPages) * ulPageSize));
    if (batch.pucCopies == nullptr) {
      /* no room for its copy: the page is the calling thread's, after every page before it */
      omsgsTrace("Page %d decoded by the record loop itself: no memory for its copy", ppage->ilLogicalPage);
      if (ficparFlush(ppar) == 0) return 0;
      return par.sink.pfnPage(par.sink.pCtx, ppage);
    }
  }
  if (batch.iState == PAR_FREE) {
    batch.vpages.clear();
    batch.ulLeft = 0;
    batch.iState = PAR_FILLING;
  }
  batch.vpages.push_back(*ppage);
  if (ppage->pucPage != nullptr) {
    unsigned char *pucCopy = batch.pucCopies + (batch.vpages.size() - 1) * ulPageSize;
    std::memcpy(pucCopy, ppage->pucPage, ulPageSize);
    batch.vpages.back().pucPage = pucCopy;
  }
  /* the first batches are smaller (an eighth, a quarter, a half): the first
     rows reach the sink while the helpers are still getting under way */
  int32_t ilBatch = par.llFilling < 3 ? std::max<int32_t>(1, par.ilBatchPages >> (3 - par.llFilling)) : par.ilBatchPages;
  if (static_cast<int32_t>(batch.vpages.size()) >= ilBatch) _parQueue(par);
  for (;;) {
    int iGo = _parWriteOldest(par, false);
    if (iGo == 0) return 0;
    if (iGo == 2) return 1;
  }
}

int ficparFlush(ficpar *ppar)
{
  if (ppar == nullptr) return 0;
  _parQueue(*ppar);
  for (;;) {
    int iGo = _parWriteOldest(*ppar, true);
    if (iGo == 0) return 0;
    if (iGo == 2) return 1;
  }
}

void ficparDestroy(ficpar *ppar)
{
  if (ppar == nullptr) return;
  {
    std::lock_guard<std::mutex> lock(ppar->mutex);
    ppar->boStop = true;
  }
  ppar->condHelpers.notify_all();
  for (std::thread &thread : ppar->vthreads) thread.join();
  for (parHelper &helper : ppar->vhelpers) std::free(helper.pucPages);
  for (parBatch &batch : ppar->vbatch) {
    std::free(batch.pucRows);
    std::free(batch.pucCopies);
  }
  delete ppar;
}

void ficparSetTuning(int iHelpers, int32_t ilBatchPages)
{
  giForcedHelpers.store(iHelpers, std::memory_order_relaxed);
  gilForcedBatch.store(ilBatchPages, std::memory_order_relaxed);
}
