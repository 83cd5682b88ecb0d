/*
** zorurunconv.cpp
**   Conversion pool of a writer process: feeder, workers and collector over
**   a ring of batches (design note in run/zorurunconv.h).
*/
#include "run/zorurunconv.h"

#include <sched.h>
#include <unicode/ucnv.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "common/oreason.h"
#include "common/ovf.h"
#include "model/oconvert.h"
#include "model/orow.h"
#include "io/zor3write.h"
#include "storage/ficdata.h"
#include "run/zorucore.h"
#include "run/zorucorechar.h"
#include "run/zorurun.h"

#define OMSGS_TRACE_KEYWORD "$RUN"
#define OMSGS_DEBUG_KEYWORD nullptr
#include "common/omsgsmod.h"

namespace {

/* Sizes of a batch. */
constexpr int64_t kInputMax = 256 * 1024;          /* record bytes of a batch, at most (unless a record is larger) */
constexpr int64_t kPoolBudget = 48ll * 1024 * 1024; /* input and first output areas of all batches */
constexpr int64_t kFirstInput = 64 * 1024;          /* record bytes of the first batch, at most (see the intake) */

/* The allocator of the batches' areas (a test seam). */
std::atomic<zorurunconvReallocProc> gprocRealloc{nullptr};

void *_convRealloc(void *pv, size_t ulSize)
{
  zorurunconvReallocProc procRealloc = gprocRealloc.load(std::memory_order_relaxed);
  return procRealloc != nullptr ? procRealloc(pv, ulSize) : std::realloc(pv, ulSize);
}

enum convState { CONV_FREE, CONV_FILLING, CONV_QUEUED, CONV_CONVERTING, CONV_CONVERTED };

/* The row a record of a batch was converted into. */
struct convRow {
  int64_t llOut;      /* offset of the row in the output area */
  int32_t ilOutLen;   /* row length */
  int iRc;            /* conversion code, 0 when converted */
  int32_t ilCut;      /* LOB values the reader cut short */
  int64_t llReplaced; /* characters the conversion replaced */
};

/* Batches are converted side by side by different workers: each starts a
   cache line of its own, so that one's counts are not another's misses. */
struct alignas(64) convBatch {
  int iState = CONV_FREE;
  char *pcIn = nullptr;
  int32_t ilInUsed = 0;
  std::vector<ovfrecord> vrecs;   /* the records in the input area: the first ilRecs entries */
  int32_t ilRecs = 0;
  std::vector<convRow> vrows;     /* their rows (capacity kept at least vrecs's size) */
  char *pcOut = nullptr;
  int64_t llOutCap = 0;
  int64_t llOutUsed = 0;    /* bytes of the converted rows, one after the other */
  int64_t llConverted = 0;  /* rows converted */
};

/* A worker's converter: its own rows, core data, ICU converters and work buffers. */
struct convClone {
  orow *prowSource = nullptr;
  orow *prowTarget = nullptr;
  oconvert convert{};
  std::vector<zorucoreData *> vcores;
  std::vector<UConverter *> vucnv;
  std::vector<char *> vwork;
};

struct convPool {
  oconvert *pconvert = nullptr;
  int32_t ilRecordMax = 0;
  int32_t ilRowMax = 0;
  int32_t ilInCap = 0;
  int64_t llOutFirst = 0;                  /* first size of a batch's output area */
  ovfgroup *pgroup = nullptr;
  zorwrite *pwrite = nullptr;
  zorurunSelectCounts *pcounts = nullptr;

  std::mutex mutex;
  std::condition_variable condFeeder;      /* a batch became FREE */
  std::condition_variable condWorkers;     /* a batch was queued, or the end */
  std::condition_variable condCollector;   /* a batch was converted, or the end */
  std::vector<convBatch> vbatch;
  int64_t llQueued = 0;                    /* batches queued so far */
  int64_t llNextConvert = 0;               /* sequence number the next worker takes */
  int64_t llNextEmit = 0;                  /* sequence number the collector waits for */
  bool boEnd = false;                      /* the feeder queued its last batch */
  std::atomic<bool> aboStop{false};        /* the writes stopped: a limit reached or a failure */
  int iRcFirst = 0;                        /* the first failure of any thread (under mutex) */

  std::vector<convClone *> vclones;
  std::vector<std::thread> vthreads;
};

convBatch &_convAt(convPool &pool, int64_t llSeq)
{
  return pool.vbatch[static_cast<size_t>(llSeq % static_cast<int64_t>(pool.vbatch.size()))];
}

/*
** Keeps the first failure of any thread of the pool; a later one never
** replaces it (a limit reached is no failure and does not come here).
*/
void _convFail(convPool &pool, int iRc)
{
  if (iRc == 0) return;
  std::lock_guard<std::mutex> lock(pool.mutex);
  if (pool.iRcFirst == 0) pool.iRcFirst = iRc;
}

/* True for a row code that is a failure of the pool (memory), not a value
   the converters refused. */
bool _convRowFailed(int iRc)
{
  return iRc == ORC_NOMEM;
}

/* ------------------------------------------------------------ clones */

void _convCloneFree(convClone *pclone)
{
  if (pclone == nullptr) return;
  orowDestroy(pclone->prowSource);
  orowDestroy(pclone->prowTarget);
  for (zorucoreData *pcore : pclone->vcores) {
    zorucoreDataDestroy(pcore);
    std::free(pcore);
  }
  for (UConverter *pucnv : pclone->vucnv) ucnv_close(pucnv);
  for (char *pc : pclone->vwork) std::free(pc);
  delete pclone;
}

/* The clone of a shared ICU converter, made once per clone; NULL stays NULL.  False when ICU fails. */
bool _convCloneUcnv(convClone *pclone, std::map<UConverter *, UConverter *> &map, UConverter **ppucnv)
{
  if (*ppucnv == nullptr) return true;
  auto it = map.find(*ppucnv);
  if (it == map.end()) {
    UErrorCode err = U_ZERO_ERROR;
    UConverter *pucnv = ucnv_clone(*ppucnv, &err);
    if (pucnv == nullptr || U_FAILURE(err)) {
      omsgsTrace("Conversion pool: ICU converter not cloned: %s\n", u_errorName(err));
      if (pucnv != nullptr) ucnv_close(pucnv);
      return false;
    }
    pclone->vucnv.push_back(pucnv);
    it = map.emplace(*ppucnv, pucnv).first;
  }
  *ppucnv = it->second;
  return true;
}

/*
** A converter that shares nothing a conversion writes with the original:
** rows with their own definitions, core data of its own, and one ICU
** converter and work buffer for each the original shares between columns.
** NULL when memory runs out or ICU fails.
*/
convClone *_convCloneMake(const oconvert *pconvert)
{
  convClone *pclone = new (std::nothrow) convClone;
  if (pclone == nullptr) return nullptr;
  try {
    pclone->prowSource = orowClone(pconvert->prowSource);
    pclone->prowTarget = orowClone(pconvert->prowTarget);
    if (pclone->prowSource == nullptr || pclone->prowTarget == nullptr) throw std::bad_alloc();
    std::map<UConverter *, UConverter *> mapUcnv;
    std::map<char *, std::pair<char *, uint32_t>> mapWork;   /* original -> clone, size */
    orow *prow = pclone->prowTarget;
    for (int32_t i = 0; i < prow->iCount; i++) {
      zorucoreData *pcore = static_cast<zorucoreData *>(prow->pcoldef[i].pExtra);
      if (pcore == nullptr) continue;
      zorucoreData *pcopy = zorucoreDataClone(pcore);
      if (pcopy == nullptr) throw std::bad_alloc();
      pclone->vcores.push_back(pcopy);
      prow->pcoldef[i].pExtra = pcopy;
      if (!_convCloneUcnv(pclone, mapUcnv, &pcopy->pconvToUtf16) ||
          !_convCloneUcnv(pclone, mapUcnv, &pcopy->pconvFromUtf16))
        throw std::bad_alloc();
      if (pcore->pcWorkBuffer != nullptr) {
        auto &entry = mapWork[pcore->pcWorkBuffer];
        entry.second = std::max(entry.second, pcore->ulWorkSize);
      }
    }
    for (auto &[pcOriginal, entry] : mapWork) {
      entry.first = static_cast<char *>(std::malloc(entry.second > 0 ? entry.second : 1));
      if (entry.first == nullptr) throw std::bad_alloc();
      pclone->vwork.push_back(entry.first);
    }
    for (zorucoreData *pcopy : pclone->vcores)
      if (pcopy->pcWorkBuffer != nullptr) pcopy->pcWorkBuffer = mapWork[pcopy->pcWorkBuffer].first;
  } catch (const std::bad_alloc &) {
    _convCloneFree(pclone);
    return nullptr;
  }
  /* the column functions and the row program are made once and only read */
  pclone->convert.prowSource = pclone->prowSource;
  pclone->convert.prowTarget = pclone->prowTarget;
  pclone->convert.pfunc = pconvert->pfunc;
  pclone->convert.pProgram = pconvert->pProgram;
  return pclone;
}

/* ------------------------------------------------------------ workers */

/* Converts every record of the batch into its output area. */
void _convBatch(convPool &pool, convClone *pclone, convBatch &batch)
{
  const int32_t ilRecordMax = pool.ilRecordMax;
  const int32_t ilRowMax = pool.ilRowMax;
  int64_t llUsed = 0;
  int64_t llConverted = 0;
  batch.vrows.resize(static_cast<size_t>(batch.ilRecs));   /* within its capacity: no allocation */
  for (size_t i = 0; i < batch.vrows.size(); i++) {
    const ovfrecord &rec = batch.vrecs[i];
    convRow &row = batch.vrows[i];
    row.ilOutLen = 0;
    row.llOut = llUsed;
    row.ilCut = 0;
    row.llReplaced = 0;
    if (rec.ilLen > ilRecordMax) {   /* a record cut by the buffer is never valid */
      row.iRc = ORC_INVALID;
      continue;
    }
    if (batch.llOutCap - llUsed < ilRowMax) {
      int64_t llCap = std::max(2 * batch.llOutCap, llUsed + ilRowMax);
      char *pc = static_cast<char *>(_convRealloc(batch.pcOut, static_cast<size_t>(llCap)));
      if (pc == nullptr) {
        row.iRc = ORC_NOMEM;   /* the collector fails the pool at this row */
        continue;
      }
      batch.pcOut = pc;
      batch.llOutCap = llCap;
    }
    const char *pcRecord = batch.pcIn + rec.ilOffset;
    orowSetBuffer(pclone->prowSource, const_cast<char *>(pcRecord), rec.ilLen, 0);
    /* LOBs the reader cut to their first 32700 bytes: it flagged the record */
    if (rec.ilLen > FICDATA_UREC_FLAGS && (pcRecord[FICDATA_UREC_FLAGS] & FICDATA_UREC_CUT) != 0)
      row.ilCut = zorucoreCountCutLobs(pclone->prowSource);
    orowSetBuffer(pclone->prowTarget, batch.pcOut + llUsed, ilRowMax, 0);
    int64_t llReplacedBefore = zorucoreReplacedCount();   /* this thread's count */
    row.iRc = oconvertConvert(&pclone->convert);
    row.llReplaced = zorucoreReplacedCount() - llReplacedBefore;
    if (row.iRc != 0) continue;
    row.ilOutLen = static_cast<int32_t>(pclone->prowTarget->pcCursor - pclone->prowTarget->pcStart);
    llUsed += row.ilOutLen;
    llConverted++;
  }
  batch.llConverted = llConverted;
  batch.llOutUsed = llUsed;
  orowSetBuffer(pclone->prowSource, nullptr, 0, 0);
  orowSetBuffer(pclone->prowTarget, nullptr, 0, 0);
}

void _convWorker(convPool *ppool, convClone *pclone)
{
  convPool &pool = *ppool;
  std::unique_lock<std::mutex> lock(pool.mutex);
  for (;;) {
    pool.condWorkers.wait(lock, [&] { return pool.llNextConvert < pool.llQueued || pool.boEnd; });
    if (pool.llNextConvert >= pool.llQueued) break;   /* the end, nothing left */
    convBatch &batch = _convAt(pool, pool.llNextConvert++);
    batch.iState = CONV_CONVERTING;
    lock.unlock();
    _convBatch(pool, pclone, batch);
    lock.lock();
    batch.iState = CONV_CONVERTED;
    pool.condCollector.notify_one();
  }
}

/* ------------------------------------------------------------ collector */

/*
** Counts the next row in record order: LOB values cut, characters
** replaced, and the row when it could not be converted, each kind with the
** number of its first row.  False when the row was not converted.
*/
bool _convCount(zorurunSelectCounts &counts, const convRow &row)
{
  counts.llRowsSeen++;
  if (row.ilCut > 0) {
    if (counts.llValuesCut == 0) counts.llFirstCut = counts.llRowsSeen;
    counts.llValuesCut += row.ilCut;
  }
  if (row.llReplaced > 0) {
    if (counts.llReplaced == 0) counts.llFirstReplaced = counts.llRowsSeen;
    counts.llReplaced += row.llReplaced;
  }
  if (row.iRc == 0) return true;
  omsgsTrace("Write Child: row %lld not converted (0x%x)\n", static_cast<long long>(counts.llRowsSeen), row.iRc);
  if (counts.llRowsNotConverted++ == 0) counts.llFirstNotConverted = counts.llRowsSeen;
  return false;
}

/*
** Counts the rows of a converted batch and writes them; false once the
** writes stopped.  A writer without limits takes the batch's rows as one
** block; another is given row after row, so that a limit stops at its row.
** A row the pool could not convert for want of memory is no refused value:
** the rows before it are written, it and the later ones are neither
** counted nor written, and the pool fails with ORC_NOMEM.
*/
bool _convEmit(convPool &pool, convBatch &batch)
{
  zorurunSelectCounts &counts = *pool.pcounts;
  bool boFailedRow = std::any_of(batch.vrows.begin(), batch.vrows.end(),
                                 [](const convRow &row) { return _convRowFailed(row.iRc); });
  int iRc = 0;
  if (writeTakesBlocks(pool.pwrite) && !boFailedRow) {
    for (const convRow &row : batch.vrows) _convCount(counts, row);
    if (batch.llConverted > 0) iRc = writeBlock(pool.pwrite, batch.pcOut, batch.llOutUsed, batch.llConverted);
  } else {
    for (const convRow &row : batch.vrows) {
      if (_convRowFailed(row.iRc)) {
        omsgsTrace("Write Child: row %lld not converted for want of memory\n",
                   static_cast<long long>(counts.llRowsSeen + 1));
        iRc = row.iRc;
        break;
      }
      if (!_convCount(counts, row)) continue;
      iRc = pool.pwrite->procWrite(pool.pwrite, batch.pcOut + row.llOut, row.ilOutLen);
      if (iRc != 0) break;
    }
  }
  if (iRc == 0) return true;
  /* a limit reached ends the file normally; any other code is the pool's failure */
  if (iRc != ZORWRITE_RC_LIMIT) _convFail(pool, iRc);
  return false;
}

void _convCollector(convPool *ppool)
{
  convPool &pool = *ppool;
  std::unique_lock<std::mutex> lock(pool.mutex);
  for (;;) {
    pool.condCollector.wait(lock, [&] {
      return (pool.llNextEmit < pool.llQueued && _convAt(pool, pool.llNextEmit).iState == CONV_CONVERTED) ||
             (pool.boEnd && pool.llNextEmit >= pool.llQueued);
    });
    if (pool.llNextEmit >= pool.llQueued) break;
    convBatch &batch = _convAt(pool, pool.llNextEmit);
    lock.unlock();
    if (!pool.aboStop.load(std::memory_order_relaxed) && !_convEmit(pool, batch))
      pool.aboStop.store(true, std::memory_order_relaxed);
    batch.vrows.clear();
    batch.ilRecs = 0;
    batch.ilInUsed = 0;
    lock.lock();
    batch.iState = CONV_FREE;
    pool.llNextEmit++;
    pool.condFeeder.notify_one();
  }
}

/* ------------------------------------------------------------ feeder */

/* Asks every producer of the group to stop and reads the group to its end
   (the records are cut to the first bytes and dropped). */
void _convDrain(ovfgroup *pgroup)
{
  ovfGroupStop(pgroup);
  for (;;) {
    char ac[64];
    int iLen = 0;
    int iRc = ovfGroupRead(pgroup, ac, static_cast<int>(sizeof ac), &iLen);
    if (iRc == OVF_RC_LOST) continue;
    if (iRc != 0 || iLen == 0) break;
  }
}

/* Starts one more worker with a converter of its own; false when it cannot. */
bool _convStartWorker(convPool &pool)
{
  convClone *pclone = _convCloneMake(pool.pconvert);
  if (pclone == nullptr) {
    omsgsTrace("Conversion pool: no converter for worker %d\n", static_cast<int>(pool.vclones.size()) + 1);
    return false;
  }
  try {
    pool.vclones.push_back(pclone);
  } catch (const std::bad_alloc &) {
    _convCloneFree(pclone);
    return false;
  }
  try {
    pool.vthreads.emplace_back(_convWorker, &pool, pclone);
  } catch (const std::exception &e) {
    omsgsTrace("Conversion pool: worker %d not started: %s\n", static_cast<int>(pool.vclones.size()), e.what());
    return false;
  }
  return true;
}

/* Waits until the batch of sequence llSeq is free and takes it. */
convBatch &_convTake(convPool &pool, int64_t llSeq)
{
  std::unique_lock<std::mutex> lock(pool.mutex);
  convBatch &batch = _convAt(pool, llSeq);
  pool.condFeeder.wait(lock, [&] { return batch.iState == CONV_FREE; });
  batch.iState = CONV_FILLING;
  return batch;
}

void _convQueue(convPool &pool, convBatch &batch)
{
  std::lock_guard<std::mutex> lock(pool.mutex);
  batch.iState = CONV_QUEUED;
  pool.llQueued++;
  pool.condWorkers.notify_one();
}

/*
** Makes the areas of a batch: its input area, a first output area, and
** its table of records.  False when memory runs out.
*/
bool _convBatchAreas(convPool &pool, convBatch &batch)
{
  batch.pcOut = static_cast<char *>(_convRealloc(nullptr, static_cast<size_t>(pool.llOutFirst)));
  if (batch.pcOut == nullptr) return false;
  batch.llOutCap = pool.llOutFirst;
  batch.pcIn = static_cast<char *>(_convRealloc(nullptr, static_cast<size_t>(pool.ilInCap)));
  if (batch.pcIn == nullptr) return false;
  try {
    batch.vrecs.resize(static_cast<size_t>(pool.ilInCap / 64) + 1);
    batch.vrows.reserve(batch.vrecs.size());
  } catch (const std::bad_alloc &) {
    return false;
  }
  return true;
}

void _convFreeBatches(convPool &pool)
{
  for (convBatch &batch : pool.vbatch) {
    std::free(batch.pcIn);
    std::free(batch.pcOut);
  }
}

}  // namespace

void zorurunconvSetReallocProc(zorurunconvReallocProc proc)
{
  gprocRealloc.store(proc, std::memory_order_relaxed);
}

int zorurunconvWorkers(void)
{
  cpu_set_t set;
  int iCpus = sched_getaffinity(0, sizeof set, &set) == 0 ? CPU_COUNT(&set) : 1;
  return std::clamp(iCpus - 1, 1, ZORURUNCONV_MAX_WORKERS);
}

int zorurunconvRun(oconvert *pconvert, int32_t ilRecordMax, int32_t ilRowMax, int64_t llBuffer, ovfgroup *pgroup,
                   zorwrite *pwrite, int iWorkers, zorurunSelectCounts *pcounts)
{
  if (pconvert == nullptr || pgroup == nullptr || pwrite == nullptr || pcounts == nullptr || ilRecordMax <= 0 ||
      ilRowMax <= 0 || iWorkers < 1)
    return ORC_INVALID;
  convPool pool;
  pool.pconvert = pconvert;
  pool.ilRecordMax = ilRecordMax;
  pool.ilRowMax = ilRowMax;
  pool.pgroup = pgroup;
  pool.pwrite = pwrite;
  pool.pcounts = pcounts;
  /* a batch takes a 32nd of the writer's buffer, up to kInputMax, and at least one record
     of the largest size; the batches hold about the writer's buffer, and stay in a budget;
     two a worker and four more, so that a worker late with its batch does not stop the
     intake while the collector waits for that batch */
  int64_t llIn = std::max<int64_t>(std::min<int64_t>(kInputMax, llBuffer / 32), static_cast<int64_t>(ilRecordMax) + 8);
  int64_t llOut = 2 * llIn + ilRowMax;
  pool.ilInCap = static_cast<int32_t>(std::min<int64_t>(llIn, 0x7FFFFFF0));
  int64_t llBatches = std::clamp<int64_t>(std::min(llBuffer / llIn, kPoolBudget / (llIn + llOut)), 2, 2 * iWorkers + 4);
  iWorkers = static_cast<int>(std::min<int64_t>(iWorkers, llBatches - 1));

  pool.llOutFirst = llOut;
  bool boMade = true;
  try {
    pool.vbatch.resize(static_cast<size_t>(llBatches));
  } catch (const std::bad_alloc &) {
    boMade = false;
  }
  /* every batch's areas are made before the first record comes: made while
     rows flow, they cost the intake (and the workers' faults) time */
  for (size_t i = 0; boMade && i < pool.vbatch.size(); i++) boMade = _convBatchAreas(pool, pool.vbatch[i]);
  /* the collector and the first worker start now; the others as batches come */
  if (boMade) {
    try {
      pool.vthreads.emplace_back(_convCollector, &pool);
    } catch (const std::exception &e) {
      omsgsTrace("Conversion pool: collector not started: %s\n", e.what());
      boMade = false;
    }
  }
  if (boMade && !_convStartWorker(pool)) boMade = false;
  if (!boMade) {
    _convDrain(pgroup);
    {
      std::lock_guard<std::mutex> lock(pool.mutex);
      pool.boEnd = true;
    }
    pool.condWorkers.notify_all();
    pool.condCollector.notify_all();
    for (std::thread &thread : pool.vthreads) thread.join();
    for (convClone *pclone : pool.vclones) _convCloneFree(pclone);
    _convFreeBatches(pool);
    return ORC_NOMEM;
  }

  /* The records go straight into the batch, as many as fit at a time; a
     record that no longer fits goes into the next batch, which is empty and
     holds one of the largest size (cut to that size when longer). */
  int64_t llSeq = 0;
  convBatch *pbatch = &_convTake(pool, llSeq);
  int iStarted = 1;
  for (;;) {
    if (pool.aboStop.load(std::memory_order_relaxed)) {
      _convDrain(pgroup);
      break;
    }
    if (static_cast<size_t>(pbatch->ilRecs) == pbatch->vrecs.size()) {
      try {
        pbatch->vrecs.resize(2 * pbatch->vrecs.size());
        pbatch->vrows.reserve(pbatch->vrecs.size());
      } catch (const std::bad_alloc &) {
        /* the records would be lost: the run fails */
        _convFail(pool, ORC_NOMEM);
        pool.aboStop.store(true, std::memory_order_relaxed);
        continue;
      }
    }
    /* the first batches are smaller (kFirstInput, then twice as large each): the
       workers start on the first records rather than on a whole batch of them */
    int64_t llCap = llSeq < 16 ? std::max<int64_t>(kFirstInput << llSeq, static_cast<int64_t>(ilRecordMax) + 8) : pool.ilInCap;
    ovfrecords take{pbatch->pcIn, static_cast<int32_t>(std::min<int64_t>(llCap, pool.ilInCap)), ilRecordMax, pbatch->vrecs.data(),
                    static_cast<int32_t>(pbatch->vrecs.size()), pbatch->ilInUsed, pbatch->ilRecs, 0};
    int iRc = ovfGroupReadRecords(pgroup, &take);
    pbatch->ilInUsed = take.ilUsed;
    if (iRc == OVF_RC_LOST) {
      /* its rows after the last half it handed over are lost: the others
         are still read, and the pool fails */
      omsgsTrace("Write Child: a reader ended without its end record\n");
      _convFail(pool, iRc);
      continue;
    }
    if (iRc == OVF_RC_NOMEMBER) break;   /* no channel left to read: the end */
    if (iRc != 0) {
      /* a channel that cannot be read is no end of the data */
      omsgsTrace("Write Child: the channels could not be read (0x%x)\n", iRc);
      _convFail(pool, iRc);
      _convDrain(pgroup);
      break;
    }
    bool boTaken = take.ilCount > pbatch->ilRecs;
    pbatch->ilRecs = take.ilCount;
    if (take.iEnd != 0) break;
    if (boTaken) continue;
    if (pbatch->ilRecs == 0) {
      /* an empty batch has room for a record of the largest size */
      omsgsTrace("Write Child: a record does not fit an empty batch of %d bytes\n", static_cast<int>(pool.ilInCap));
      _convFail(pool, ORC_INVALID);
      _convDrain(pgroup);
      break;
    }
    _convQueue(pool, *pbatch);
    if (iStarted < iWorkers && iStarted <= llSeq && _convStartWorker(pool)) iStarted++;
    pbatch = &_convTake(pool, ++llSeq);
  }
  {
    std::lock_guard<std::mutex> lock(pool.mutex);
    if (pbatch->ilRecs == 0) {
      pbatch->iState = CONV_FREE;
    } else {
      pbatch->iState = CONV_QUEUED;
      pool.llQueued++;
    }
    pool.boEnd = true;
  }
  pool.condWorkers.notify_all();
  pool.condCollector.notify_all();
  for (std::thread &thread : pool.vthreads) thread.join();
  omsgsTrace("Conversion pool: %lld batches, %d workers\n", static_cast<long long>(pool.llQueued), iStarted);
  for (convClone *pclone : pool.vclones) _convCloneFree(pclone);
  _convFreeBatches(pool);
  return pool.iRcFirst;
}
