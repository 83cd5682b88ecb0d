/*
** ovf.cpp
**   Shared-memory record channel between one producer process and one
**   consumer process: two halves of a SysV segment that the sides hand to
**   each other with semaphores, and groups of channels read as one stream by
**   one consumer.  A channel is created before the fork; its segment is
**   marked for removal once attached, its semaphore set registered with the
**   message centre, which removes it if neither side does.  The segment
**   layout and the channel states are described in ovf.h.  Not for use by
**   two threads of one process.
**
**   Header words are read and written through std::atomic_ref: the state word
**   is changed by both sides (compare-exchange), the others by one side at a
**   time, handed over with the semaphores.  Record length words go through
**   the byte-order helpers.
*/
#include "common/ovf.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <immintrin.h>
#include <sys/ipc.h>
#include <sys/sem.h>
#include <sys/shm.h>
#include <sys/wait.h>
#include <utility>
#include <vector>

#include "common/obyte.h"
#include "common/osignal.h"

#define OMSGS_TRACE_KEYWORD "$VFILE"
#define OMSGS_DEBUG_KEYWORD "$VFILED"
#include "common/omsgsmod.h"

/* Owner and group only: every process of a run shares the caller's group. */
#define OVF_IPC_MODE 0660

/* How long a consumer waits for a half before it checks on the producer. */
#define OVF_POLL_NS (100L * 1000 * 1000)
/* What a producer's first half holds before it is handed over (see _ovfHalfFor). */
#define OVF_FIRST_FILL (64u * 1024)

/* Pause between two looks at the state while a channel is destroyed. */
#define OVF_DESTROY_PAUSE_NS (1L * 1000 * 1000)

/* semctl's fourth argument. */
union _ovfSemun {
  int val;
  struct semid_ds *buf;
  unsigned short *array;
};

/* ---- header words -------------------------------------------------------- */

static std::atomic_ref<uint32_t> _ovfWord(ovf *povf, int iWord)
{
  return std::atomic_ref<uint32_t>(reinterpret_cast<uint32_t *>(povf)[iWord]);
}

static uint32_t _ovfGet(ovf *povf, int iWord)
{
  return _ovfWord(povf, iWord).load(std::memory_order_acquire);
}

static int32_t _ovfGetInt(ovf *povf, int iWord)
{
  return static_cast<int32_t>(_ovfGet(povf, iWord));
}

static void _ovfSet(ovf *povf, int iWord, uint32_t ulValue)
{
  _ovfWord(povf, iWord).store(ulValue, std::memory_order_release);
}

static void _ovfSetInt(ovf *povf, int iWord, int32_t iValue)
{
  _ovfSet(povf, iWord, static_cast<uint32_t>(iValue));
}

static unsigned char *_ovfAt(ovf *povf, uint32_t ulOffset)
{
  return reinterpret_cast<unsigned char *>(povf) + ulOffset;
}

/* Start and end words of half 1 or 2. */
static int _ovfStartWord(int iHalf) { return iHalf == 2 ? OVF_W_HALF2_START : OVF_W_HALF1_START; }
static int _ovfEndWord(int iHalf) { return iHalf == 2 ? OVF_W_HALF2_END : OVF_W_HALF1_END; }
static int _ovfCountWord(int iHalf) { return iHalf == 2 ? OVF_W_HALF2_COUNT : OVF_W_HALF1_COUNT; }

static uint32_t _ovfRound4(uint32_t ul) { return (ul + 3) & ~static_cast<uint32_t>(3); }

/* ---- semaphore operations ------------------------------------------------ */

/* One operation on semaphore usNum of iSemId; retried when a signal interrupts
   it, unless the signal asked the process to stop (-1, errno EINTR). */
static int _ovfSemOp(int iSemId, unsigned short usNum, short sDelta, short sFlags)
{
  struct sembuf op;
  op.sem_num = usNum;
  op.sem_op = sDelta;
  op.sem_flg = sFlags;
  int iRc;
  do {
    iRc = semop(iSemId, &op, 1);
  } while (iRc != 0 && errno == EINTR && osignalCaught() == 0);
  return iRc;
}

static int _semReleaseWriteFull(int iSemId) { return _ovfSemOp(iSemId, OVF_SEM_FREE, 1, 0); }
static int _semReleaseReadFull(int iSemId) { return _ovfSemOp(iSemId, OVF_SEM_FULL, 1, 0); }
static int _semLockReadFullNoWait(int iSemId)
{
  return _ovfSemOp(iSemId, OVF_SEM_FULL, -1, IPC_NOWAIT);
}

/*
** _semLockReadFull
**   Takes one full half (semaphore 0) of iSemId, waiting at most one poll
**   interval.  Returns 0 when taken, 1 when the interval ran out (or a signal
**   came), -1 on any other failure.
*/
static int _semLockReadFull(int iSemId)
{
  struct sembuf op;
  op.sem_num = OVF_SEM_FULL;
  op.sem_op = -1;
  op.sem_flg = 0;
  struct timespec ts;
  ts.tv_sec = 0;
  ts.tv_nsec = OVF_POLL_NS;
  if (semtimedop(iSemId, &op, 1, &ts) == 0) return 0;
  return (errno == EAGAIN || errno == EINTR) ? 1 : -1;
}

/*
** _semLockWriteFull
**   Producer: takes one free half (semaphore 1) of iSemId, for as long as it
**   takes, looking at the process's signal note after every poll interval
**   (a signal caught just before the wait interrupts nothing; a half free
**   is still taken after it).  Returns 0
**   when taken; -1 with errno EINTR once a signal asked the process to
**   stop; -1 on any other failure.
*/
static int _semLockWriteFull(int iSemId)
{
  struct sembuf op;
  op.sem_num = OVF_SEM_FREE;
  op.sem_op = -1;
  op.sem_flg = 0;
  for (;;) {
    struct timespec ts;
    ts.tv_sec = 0;
    ts.tv_nsec = OVF_POLL_NS;
    if (semtimedop(iSemId, &op, 1, &ts) == 0) return 0;
    if (errno != EAGAIN && errno != EINTR) return -1;
    if (osignalCaught() != 0) {
      errno = EINTR;
      return -1;
    }
  }
}

/* Producers this process watches (its children), by channel: ovfWatchProducer. */
static std::vector<std::pair<const ovf *, pid_t>> gvWatched;

/* True when the channel's producer is a watched child of this process that has ended (not reaped). */
static bool _ovfWatchedEnded(ovf *povf)
{
  for (const auto &watched : gvWatched) {
    if (watched.first != povf) continue;
    siginfo_t si{};
    if (waitid(P_PID, static_cast<id_t>(watched.second), &si, WEXITED | WNOHANG | WNOWAIT) != 0) return errno == ECHILD;
    return si.si_pid != 0;
  }
  return false;
}

/*
** _ovfProducerGone
**   True when the producer took a half, has not written its end record, and
**   its presence semaphore has fallen back to 0 (the process ended), or the
**   semaphore set is gone.  A producer that has not written yet is not gone,
**   unless it is a watched child that has ended.
*/
static bool _ovfProducerGone(ovf *povf)
{
  if (_ovfGet(povf, OVF_W_STATE) == OVF_STATE_EOF) return false;
  if (_ovfGetInt(povf, OVF_W_PRODUCER_HALF) == 0) {
    /* it may have written everything and ended between the two looks */
    return _ovfWatchedEnded(povf) && _ovfGetInt(povf, OVF_W_PRODUCER_HALF) == 0 &&
           _ovfGet(povf, OVF_W_STATE) != OVF_STATE_EOF;
  }
  int iAlive = semctl(_ovfGetInt(povf, OVF_W_SEMID), OVF_SEM_ALIVE, GETVAL);
  if (iAlive != 0 && iAlive != -1) return false;
  /* The end record may have been written between the two looks. */
  return _ovfGet(povf, OVF_W_STATE) != OVF_STATE_EOF;
}

/*
** _ovfWaitFull
**   Consumer: takes one full half of the channel, checking on the producer
**   after every poll interval.  Returns 0, OVF_RC_LOST when the producer has
**   ended without handing over any further half, OVF_RC_INTERRUPTED once
**   the process caught a signal asking it to stop, ORC_INVALID when the
**   semaphore fails.
*/
static int _ovfWaitFull(ovf *povf)
{
  int iSemId = _ovfGetInt(povf, OVF_W_SEMID);
  for (;;) {
    int iRc = _semLockReadFull(iSemId);
    if (iRc == 0) return 0;
    if (iRc < 0) return ORC_INVALID;
    if (osignalCaught() != 0) return OVF_RC_INTERRUPTED;
    if (_ovfProducerGone(povf)) {
      if (_semLockReadFullNoWait(iSemId) == 0) return 0;   /* handed over before it ended */
      return OVF_RC_LOST;
    }
  }
}

/* ---- producer ------------------------------------------------------------ */

/* Hands the producer's current half to the consumer (and counts it for the group). */
static void _ovfHandOver(ovf *povf)
{
  _mm_sfence();   /* the half's streamed records are in memory before the consumer is told */
  int iHalf = _ovfGetInt(povf, OVF_W_PRODUCER_HALF);
  _ovfSet(povf, _ovfCountWord(iHalf), _ovfGet(povf, OVF_W_PRODUCER_COUNT));
  _ovfSetInt(povf, OVF_W_PRODUCER_HALF, -iHalf);
  omsgsTrace("Release Write Buffer for %p\n", static_cast<void *>(povf));
  _semReleaseReadFull(_ovfGetInt(povf, OVF_W_SEMID));
  uint32_t ulGroup = _ovfGet(povf, OVF_W_GROUP);
  if (ulGroup != 0) _semReleaseReadFull(static_cast<int>(ulGroup - 1));
  omsgsTrace("Released Write Buffer for %p\n", static_cast<void *>(povf));
}

/*
** Copies ulBytes bytes from puc to pucAt (4-aligned) with non-temporal
** stores: the lines of a half the consumer read last are not fetched into
** the producer's cache only to be overwritten (the copy into the channel
** was the reader's costliest step).  Words up to a 16-byte boundary, then
** 16 bytes a store, then the last words; a last piece shorter than a word
** is copied alone.
*/
static void _ovfStreamBytes(unsigned char *pucAt, const unsigned char *puc, uint64_t ulBytes)
{
  int *piAt = reinterpret_cast<int *>(pucAt);
  uint64_t ul = 0;
  int iWord;
  for (; ul + 4 <= ulBytes && (reinterpret_cast<uintptr_t>(piAt) & 15) != 0; ul += 4) {
    std::memcpy(&iWord, puc + ul, 4);
    _mm_stream_si32(piAt++, iWord);
  }
  for (; ul + 16 <= ulBytes; ul += 16, piAt += 4)
    _mm_stream_si128(reinterpret_cast<__m128i *>(piAt), _mm_loadu_si128(reinterpret_cast<const __m128i *>(puc + ul)));
  for (; ul + 4 <= ulBytes; ul += 4) {
    std::memcpy(&iWord, puc + ul, 4);
    _mm_stream_si32(piAt++, iWord);
  }
  if (ul < ulBytes) std::memcpy(piAt, puc + ul, static_cast<size_t>(ulBytes - ul));
}

/*
** Writes the record of ulLen (> 0) bytes at pData, length word first, at
** pucAt with non-temporal stores (_ovfStreamBytes).  The padding of the last
** word is written as zeros when boPadding (the whole word lies in the half),
** else the last bytes are copied alone.
*/
static void _ovfStreamRecord(unsigned char *pucAt, const void *pData, uint32_t ulLen, bool boPadding)
{
  unsigned char aucWord[4];
  int iWord;
  obytePutLE32(aucWord, ulLen);
  std::memcpy(&iWord, aucWord, 4);
  _mm_stream_si32(reinterpret_cast<int *>(pucAt), iWord);
  const unsigned char *puc = static_cast<const unsigned char *>(pData);
  uint32_t ulWhole = ulLen & ~3u;
  _ovfStreamBytes(pucAt + 4, puc, boPadding ? ulWhole : ulLen);
  if (boPadding && ulWhole < ulLen) {
    std::memset(aucWord, 0, sizeof aucWord);
    std::memcpy(aucWord, puc + ulWhole, ulLen - ulWhole);
    std::memcpy(&iWord, aucWord, 4);
    _mm_stream_si32(reinterpret_cast<int *>(pucAt + 4 + ulWhole), iWord);
  }
}

/*
** Producer: makes sure a half with room for a record of ulLen bytes is
** held: the current one is handed over when the record does not fit in what
** is left of it, and the next free one taken (waiting for it).  Returns 0,
** or ORC_INVALID / OVF_RC_INTERRUPTED as ovfWrite.
*/
static int _ovfHalfFor(ovf *povf, uint32_t ulLen)
{
  int iHalf = _ovfGetInt(povf, OVF_W_PRODUCER_HALF);
  if (iHalf > 0 && static_cast<uint64_t>(_ovfGet(povf, OVF_W_WRITE_POS)) + ulLen + 4 >
                       _ovfGet(povf, OVF_W_WRITE_LIMIT)) {
    _ovfHandOver(povf);
    iHalf = -iHalf;
  }
  if (iHalf > 0) return 0;
  int iSemId = _ovfGetInt(povf, OVF_W_SEMID);
  /* First write: mark the producer present for as long as this process lives. */
  if (iHalf == 0 && _ovfSemOp(iSemId, OVF_SEM_ALIVE, 1, SEM_UNDO) != 0) return ORC_INVALID;
  omsgsTrace("Acquiring write buffer for %p\n", static_cast<void *>(povf));
  if (_semLockWriteFull(iSemId) != 0) return errno == EINTR ? OVF_RC_INTERRUPTED : ORC_INVALID;
  omsgsTrace("Write buffer acquiered for %p\n", static_cast<void *>(povf));
  int iNext = iHalf == -1 ? 2 : 1;
  /* The first halves are handed over before they are full: the first at
     OVF_FIRST_FILL bytes, each later one at twice what the one before held,
     so that the consumer starts on the first records while the producer is
     still getting under way (a whole half of them took it milliseconds). */
  uint64_t ulBefore = iHalf == 0 ? 0 : _ovfGet(povf, OVF_W_WRITE_POS) - _ovfGet(povf, _ovfStartWord(-iHalf));
  uint64_t ulFill = std::max<uint64_t>({OVF_FIRST_FILL, 2 * ulBefore, ulLen + 4ull});
  uint64_t ulStart = _ovfGet(povf, _ovfStartWord(iNext));
  _ovfSet(povf, OVF_W_WRITE_POS, static_cast<uint32_t>(ulStart));
  _ovfSet(povf, OVF_W_WRITE_LIMIT,
          static_cast<uint32_t>(std::min<uint64_t>(_ovfGet(povf, _ovfEndWord(iNext)), ulStart + ulFill)));
  _ovfSet(povf, OVF_W_PRODUCER_COUNT, 0);
  _ovfSetInt(povf, OVF_W_PRODUCER_HALF, iNext);
  if (iHalf == 0) {
    /* A stop asked before the first write stays in force. */
    uint32_t ulCreated = OVF_STATE_CREATED;
    _ovfWord(povf, OVF_W_STATE).compare_exchange_strong(ulCreated, OVF_STATE_WRITING);
  }
  return 0;
}

int ovfWrite(ovf *povf, const void *pData, int iLen)
{
  if (povf == nullptr || iLen < 0 || (iLen > 0 && pData == nullptr)) return ORC_INVALID;
  uint32_t ulLen = static_cast<uint32_t>(iLen);
  if (static_cast<uint64_t>(ulLen) + 4 > _ovfGet(povf, OVF_W_HALF_SIZE)) {
    omsgsTrace("Record of %d bytes refused: halves of %u bytes for %p\n", iLen,
               _ovfGet(povf, OVF_W_HALF_SIZE), static_cast<void *>(povf));
    return ORC_INVALID;
  }

  int iRcHalf = _ovfHalfFor(povf, ulLen);
  if (iRcHalf != 0) return iRcHalf;

  int iRc = 0;
  if (_ovfGet(povf, OVF_W_STATE) == OVF_STATE_STOPPED) {
    ulLen = 0;
    iRc = OVF_RC_STOPPED;
    omsgsTrace("kStop intercepted -> return STOPPED Rc for %p\n", static_cast<void *>(povf));
  }

  uint32_t ulPos = _ovfGet(povf, OVF_W_WRITE_POS);
  _ovfSet(povf, OVF_W_PRODUCER_COUNT, _ovfGet(povf, OVF_W_PRODUCER_COUNT) + 1);
  if (ulLen != 0) {
    _ovfStreamRecord(_ovfAt(povf, ulPos), pData, ulLen,
                     static_cast<uint64_t>(ulPos) + 4 + _ovfRound4(ulLen) <= _ovfGet(povf, OVF_W_WRITE_LIMIT));
    _ovfSet(povf, OVF_W_WRITE_POS, ulPos + 4 + _ovfRound4(ulLen));
    return 0;
  }
  obytePutLE32(_ovfAt(povf, ulPos), ulLen);
  ulPos += 4;
  _ovfSet(povf, OVF_W_WRITE_POS, ulPos);

  omsgsTrace("iLen =0 -> EOF for %p\n", static_cast<void *>(povf));
  /* The end state is final: set it before the hand-over, so that the end
     record is never taken for a lost producer. */
  _ovfSet(povf, OVF_W_STATE, OVF_STATE_EOF);
  _ovfHandOver(povf);
  omsgsTrace("Write buffer released due to EOF for %p\n", static_cast<void *>(povf));
  return iRc;
}

int ovfWriteRecords(ovf *povf, const void *pRecords, int64_t llBytes, int32_t ilCount, int32_t *pilWritten)
{
  if (pilWritten != nullptr) *pilWritten = 0;
  if (povf == nullptr || pilWritten == nullptr || llBytes < 0 || ilCount < 0 || (llBytes > 0 && pRecords == nullptr))
    return ORC_INVALID;
  const unsigned char *puc = static_cast<const unsigned char *>(pRecords);
  const uint64_t ulBytes = static_cast<uint64_t>(llBytes);
  const uint64_t ulHalfSize = _ovfGet(povf, OVF_W_HALF_SIZE);
  /* the length of the record at ulAt, when it is one ovfWrite would append (else 0) */
  auto recordLength = [&](uint64_t ulAt) -> uint32_t {
    if (ulBytes - ulAt < 4) return 0;
    uint32_t ulLen = obyteGetLE32(puc + ulAt);
    if (ulLen == 0 || ulLen + 4ull > ulHalfSize || ((ulLen + 3ull) & ~3ull) > ulBytes - ulAt - 4) return 0;
    return ulLen;
  };
  uint64_t ulAt = 0;
  int32_t ilDone = 0;
  while (ilDone < ilCount) {
    uint32_t ulLen = recordLength(ulAt);
    if (ulLen == 0) {
      *pilWritten = ilDone;
      return ORC_INVALID;
    }
    int iRc = _ovfHalfFor(povf, ulLen);
    if (iRc == 0 && _ovfGet(povf, OVF_W_STATE) == OVF_STATE_STOPPED) iRc = OVF_RC_STOPPED;
    if (iRc != 0) {
      *pilWritten = ilDone;
      return iRc;
    }
    /* the run: every record from here that fits in the rest of the half */
    const uint64_t ulPos = _ovfGet(povf, OVF_W_WRITE_POS);
    const uint64_t ulLimit = _ovfGet(povf, OVF_W_WRITE_LIMIT);
    uint64_t ulRun = 0;     /* bytes of the run, padded as the write position moves */
    uint64_t ulCopy = 0;    /* bytes copied: the last padding only when it lies in the half */
    int32_t ilRun = 0;
    for (;;) {
      uint64_t ulPadded = 4 + ((ulLen + 3ull) & ~3ull);
      ulCopy = ulPos + ulRun + ulPadded <= ulLimit ? ulRun + ulPadded : ulRun + 4 + ulLen;
      ulRun += ulPadded;
      ilRun++;
      if (ilDone + ilRun >= ilCount) break;
      ulLen = recordLength(ulAt + ulRun);
      if (ulLen == 0 || ulPos + ulRun + ulLen + 4 > ulLimit) break;
    }
    _ovfStreamBytes(_ovfAt(povf, static_cast<uint32_t>(ulPos)), puc + ulAt, ulCopy);
    _ovfSet(povf, OVF_W_PRODUCER_COUNT, _ovfGet(povf, OVF_W_PRODUCER_COUNT) + static_cast<uint32_t>(ilRun));
    _ovfSet(povf, OVF_W_WRITE_POS, static_cast<uint32_t>(ulPos + ulRun));
    ulAt += ulRun;
    ilDone += ilRun;
  }
  *pilWritten = ilDone;
  return 0;
}

/* ---- consumer ------------------------------------------------------------ */

/* Records left in the consumer's current half (0 when it holds none). */
static uint32_t _ovfRecordsLeft(ovf *povf)
{
  return _ovfGetInt(povf, OVF_W_CONSUMER_HALF) > 0 ? _ovfGet(povf, OVF_W_RECORDS_LEFT) : 0;
}

/*
** _ovfConsumerHalf
**   Consumer: the half to read from.  A half read to its end is given back
**   first; when none is held, the next full half is taken (waiting for it)
**   and the read position and records left set from its header words.
**   Returns 0 with *piHalf 1 or 2; 0 with *piHalf 0 once the end record was
**   read; else _ovfWaitFull's failure.
*/
static int _ovfConsumerHalf(ovf *povf, int *piHalf)
{
  int iSemId = _ovfGetInt(povf, OVF_W_SEMID);
  int iHalf = _ovfGetInt(povf, OVF_W_CONSUMER_HALF);
  *piHalf = 0;

  if (iHalf > 0 && _ovfGet(povf, OVF_W_RECORDS_LEFT) == 0) {
    omsgsTrace("Relseasing Read Buffer for %p\n", static_cast<void *>(povf));
    _semReleaseWriteFull(iSemId);
    omsgsTrace("Read Buffer Released for %p\n", static_cast<void *>(povf));
    iHalf = -iHalf;
    _ovfSetInt(povf, OVF_W_CONSUMER_HALF, iHalf);
  }
  if (_ovfGetInt(povf, OVF_W_CONSUMER_EOF) == -1) {
    omsgsTrace("ovf not used/EOFed -> return 0 lenght read for %p\n", static_cast<void *>(povf));
    return 0;
  }
  if (iHalf <= 0) {
    omsgsTrace("Acquiring Read buffer for %p\n", static_cast<void *>(povf));
    int iRc = _ovfWaitFull(povf);
    if (iRc != 0) {
      omsgsTrace("No read buffer for %p: reason 0x%x\n", static_cast<void *>(povf), iRc);
      return iRc;
    }
    omsgsTrace("Read buffer acquiered for %p\n", static_cast<void *>(povf));
    iHalf = iHalf == -1 ? 2 : 1;
    _ovfSetInt(povf, OVF_W_CONSUMER_HALF, iHalf);
    _ovfSet(povf, OVF_W_READ_POS, _ovfGet(povf, _ovfStartWord(iHalf)));
    _ovfSet(povf, OVF_W_RECORDS_LEFT, _ovfGet(povf, _ovfCountWord(iHalf)));
  }
  *piHalf = iHalf;
  return 0;
}

/* Consumer: the end record at ulPos of iHalf was read; the half goes back and
   every later read ends at once. */
static void _ovfReadEnd(ovf *povf, int iHalf, uint32_t ulPos)
{
  _ovfSet(povf, OVF_W_READ_POS, ulPos + 4);
  _ovfSetInt(povf, OVF_W_CONSUMER_HALF, -iHalf);
  _ovfSetInt(povf, OVF_W_CONSUMER_EOF, -1);
  omsgsTrace(" a lenght 0 record found -> EOF -> releae buffer for %p\n", static_cast<void *>(povf));
  _semReleaseWriteFull(_ovfGetInt(povf, OVF_W_SEMID));
  omsgsTrace("realese complete after EOF for %p\n", static_cast<void *>(povf));
}

/* The length of the record at ulPos, checked against the end of its half; false when
   the length word or the record runs past it. */
static bool _ovfRecordLength(ovf *povf, uint32_t ulPos, uint32_t ulEnd, uint32_t *pulLen)
{
  return obyteReadLE32(_ovfAt(povf, ulPos), _ovfAt(povf, ulEnd), pulLen) && *pulLen <= ulEnd - ulPos - 4;
}

int ovfRead(ovf *povf, void *pBuffer, int iSize, int *piLen)
{
  if (povf == nullptr || piLen == nullptr || iSize < 0 || (iSize > 0 && pBuffer == nullptr))
    return ORC_INVALID;
  int iHalf = 0;
  int iRc = _ovfConsumerHalf(povf, &iHalf);
  if (iRc != 0 || iHalf == 0) {
    *piLen = 0;
    return iRc;
  }

  /* The half's bounds are ours; the length word and count come from the peer. */
  uint32_t ulPos = _ovfGet(povf, OVF_W_READ_POS);
  uint32_t ulEnd = _ovfGet(povf, _ovfEndWord(iHalf));
  uint32_t ulLen = 0;
  if (_ovfGet(povf, OVF_W_RECORDS_LEFT) == 0 || !_ovfRecordLength(povf, ulPos, ulEnd, &ulLen)) {
    omsgsTrace("Bad record in half %d of %p: position %u, length %u, %u records left\n", iHalf,
               static_cast<void *>(povf), ulPos, ulLen, _ovfGet(povf, OVF_W_RECORDS_LEFT));
    *piLen = 0;
    return ORC_INVALID;
  }

  if (ulLen != 0) {
    ulPos += 4;
    uint32_t ulCopy = ulLen < static_cast<uint32_t>(iSize) ? ulLen : static_cast<uint32_t>(iSize);
    if (ulCopy != 0) std::memcpy(pBuffer, _ovfAt(povf, ulPos), ulCopy);
    _ovfSet(povf, OVF_W_RECORDS_LEFT, _ovfGet(povf, OVF_W_RECORDS_LEFT) - 1);
    _ovfSet(povf, OVF_W_READ_POS, ulPos + _ovfRound4(ulLen));
    *piLen = static_cast<int>(ulLen);
    return 0;
  }
  _ovfReadEnd(povf, iHalf, ulPos);
  *piLen = 0;
  return 0;
}

/*
** The records of a half lie one after the other, each a length word and its
** data padded to 4; the caller's buffer receives them in the same layout, so
** that a run of them is one copy.  A cut record ends a run: the next one
** starts 4 + round4(ilRecordMax) bytes after it in the buffer.  The control
** words are read once and written once per call.
*/
int ovfReadRecords(ovf *povf, ovfrecords *prec)
{
  if (povf == nullptr || prec == nullptr || prec->ilRecordMax <= 0 || prec->ilSize < 0 || prec->ilUsed < 0 ||
      prec->ilUsed > prec->ilSize || prec->ilCount < 0 || prec->ilCount > prec->ilCapacity ||
      (prec->ilSize > 0 && prec->pBuffer == nullptr) || (prec->ilCapacity > 0 && prec->precs == nullptr))
    return ORC_INVALID;
  int iHalf = 0;
  int iRc = _ovfConsumerHalf(povf, &iHalf);
  if (iRc != 0) return iRc;
  if (iHalf == 0) {
    prec->iEnd = 1;
    return 0;
  }

  uint32_t ulPos = _ovfGet(povf, OVF_W_READ_POS);
  uint32_t ulEnd = _ovfGet(povf, _ovfEndWord(iHalf));
  uint32_t ulLeft = _ovfGet(povf, OVF_W_RECORDS_LEFT);
  uint32_t ulLen = 0;
  if (ulLeft == 0 || !_ovfRecordLength(povf, ulPos, ulEnd, &ulLen)) {
    omsgsTrace("Bad record in half %d of %p: position %u, length %u, %u records left\n", iHalf,
               static_cast<void *>(povf), ulPos, ulLen, ulLeft);
    return ORC_INVALID;
  }
  if (ulLen == 0) {
    _ovfReadEnd(povf, iHalf, ulPos);
    prec->iEnd = 1;
    return 0;
  }

  unsigned char *pucOut = static_cast<unsigned char *>(prec->pBuffer);
  const uint64_t ullSize = static_cast<uint64_t>(prec->ilSize);
  const uint32_t ulRecordMax = static_cast<uint32_t>(prec->ilRecordMax);
  uint64_t ullOut = static_cast<uint64_t>(prec->ilUsed);   /* where the record at ulPos goes */
  int32_t ilCount = prec->ilCount;
  uint32_t ulRunFrom = ulPos;   /* the run not yet copied: [ulRunFrom, ulRunTo) */
  uint32_t ulRunTo = ulPos;
  uint64_t ullRunOut = ullOut;
  auto copyRun = [&] {
    if (ulRunTo > ulRunFrom) std::memcpy(pucOut + ullRunOut, _ovfAt(povf, ulRunFrom), ulRunTo - ulRunFrom);
  };

  /* ulLen is the checked length of the record at ulPos, never the end record */
  for (;;) {
    uint32_t ulCopy = ulLen < ulRecordMax ? ulLen : ulRecordMax;
    if (ilCount >= prec->ilCapacity || ullOut + 4 + ulCopy > ullSize) break;
    prec->precs[ilCount].ilOffset = static_cast<int32_t>(ullOut + 4);
    prec->precs[ilCount].ilLen = static_cast<int32_t>(ulLen);
    ilCount++;
    ulLeft--;
    if (ulCopy < ulLen) {
      /* cut: its first bytes end the run, and the next run starts after it */
      ulRunTo = ulPos + 4 + ulCopy;
      copyRun();
      ulPos += 4 + _ovfRound4(ulLen);
      ullOut += 4 + _ovfRound4(ulCopy);
      ulRunFrom = ulRunTo = ulPos;
      ullRunOut = ullOut;
    } else {
      ulRunTo = ulPos + 4 + ulLen;
      ulPos += 4 + _ovfRound4(ulLen);
      ullOut += 4 + _ovfRound4(ulLen);
    }
    if (ulLeft == 0) break;
    /* the length words are a chain of loads through memory the producer streamed past the caches */
    __builtin_prefetch(_ovfAt(povf, ulPos) + 4096);
    if (!_ovfRecordLength(povf, ulPos, ulEnd, &ulLen)) {
      /* the records before it are good; the next call fails on it */
      omsgsTrace("Bad record in half %d of %p: position %u, length %u, %u records left\n", iHalf,
                 static_cast<void *>(povf), ulPos, ulLen, ulLeft);
      break;
    }
    if (ulLen == 0) break;   /* the end record: read by the next call */
  }
  copyRun();

  _ovfSet(povf, OVF_W_READ_POS, ulPos);
  _ovfSet(povf, OVF_W_RECORDS_LEFT, ulLeft);
  if (ulLeft == 0) {
    /* every record was copied: the producer may have the half back now */
    _ovfSetInt(povf, OVF_W_CONSUMER_HALF, -iHalf);
    _semReleaseWriteFull(_ovfGetInt(povf, OVF_W_SEMID));
  }
  prec->ilUsed = static_cast<int32_t>(ullOut < ullSize ? ullOut : ullSize);
  prec->ilCount = ilCount;
  return 0;
}

void ovfWatchProducer(ovf *povf, pid_t pid)
{
  for (auto it = gvWatched.begin(); it != gvWatched.end(); ++it)
    if (it->first == povf) {
      gvWatched.erase(it);
      break;
    }
  if (povf != nullptr && pid > 0) gvWatched.emplace_back(povf, pid);
}

int ovfEndUnstarted(ovf *povf)
{
  if (povf == nullptr || _ovfGetInt(povf, OVF_W_PRODUCER_HALF) != 0 || _ovfGet(povf, OVF_W_STATE) == OVF_STATE_EOF)
    return 0;
  int iRc = ovfWrite(povf, nullptr, 0);
  return iRc == 0 || iRc == OVF_RC_STOPPED ? 1 : 0;
}

void ovfStop(ovf *povf)
{
  if (povf == nullptr) return;
  std::atomic_ref<uint32_t> state = _ovfWord(povf, OVF_W_STATE);
  uint32_t ulState = state.load();
  while (ulState != OVF_STATE_EOF && ulState != OVF_STATE_STOPPED &&
         !state.compare_exchange_weak(ulState, OVF_STATE_STOPPED)) {
  }
}

/* ---- creation and destruction -------------------------------------------- */

ovf *ovfCreate(int iLen, int iMaxRec, int *piErrno)
{
  if (gboTorvelExist) omsgsTraceInIntern("ovfCreate", 1);
  int iErr = 0;
  ovf *povf = nullptr;
  uint32_t ulL = 0, ulData = 0, ulHalf = 0;
  int iShmId = -1, iSemId = -1;
  void *pSegment = nullptr;
  union _ovfSemun arg;
  unsigned short ausInit[3] = {0, 2, 0};   /* full halves, free halves, producer present */

  if (iLen < 0) {
    iErr = EINVAL;
    goto done;
  }
  ulL = _ovfRound4(static_cast<uint32_t>(iLen));
  ulData = ulL + 8;
  ulHalf = ulData / 2;
  omsgsTrace("Parametres: len = %d, maxrec = %d, corrected = %d\n", iLen, iMaxRec,
             static_cast<int>(ulData));

  iShmId = shmget(IPC_PRIVATE, static_cast<size_t>(ulData) + OVF_HEADER_SIZE,
                  IPC_CREAT | IPC_EXCL | OVF_IPC_MODE);
  if (iShmId == -1) {
    iErr = errno;
    omsgsTrace("Pb creation shared memory ovf\n");
    goto done;
  }

  /* Attached here and marked for removal at once: the other side holds it
     through the fork, and it goes with the last process that holds it. */
  pSegment = shmat(iShmId, nullptr, 0);
  if (pSegment == reinterpret_cast<void *>(-1)) iErr = errno;
  shmctl(iShmId, IPC_RMID, nullptr);
  if (iErr != 0) {
    omsgsTrace("Pb attachement shared memory ovf\n");
    goto done;
  }

  iSemId = semget(IPC_PRIVATE, 3, IPC_CREAT | IPC_EXCL | OVF_IPC_MODE);
  if (iSemId == -1) {
    iErr = errno;
    omsgsTrace("Pb creation semaphores ovf\n");
  } else {
    omsgsStoreIPCResource(OMSGS_IPC_SEM, iSemId);
    arg.array = ausInit;
    if (semctl(iSemId, 0, SETALL, arg) == -1) {
      iErr = errno;
      omsgsTrace("Pb initialisation semaphores ovf\n");
      omsgsDeleteIPCResource(OMSGS_IPC_SEM, iSemId);
      semctl(iSemId, 0, IPC_RMID);
    }
  }
  if (iErr != 0) {
    shmdt(pSegment);
    goto done;
  }

  povf = static_cast<ovf *>(pSegment);
  std::memset(pSegment, 0, OVF_HEADER_SIZE);
  _ovfSet(povf, OVF_W_SHMID, static_cast<uint32_t>(iShmId));
  _ovfSet(povf, OVF_W_SEMID, static_cast<uint32_t>(iSemId));
  _ovfSet(povf, OVF_W_HALF_SIZE, ulHalf);
  _ovfSet(povf, OVF_W_HALF1_START, OVF_HEADER_SIZE);
  _ovfSet(povf, OVF_W_HALF1_END, OVF_HEADER_SIZE + ulHalf);
  _ovfSet(povf, OVF_W_HALF2_START, OVF_HEADER_SIZE + ulHalf);
  _ovfSet(povf, OVF_W_HALF2_END, OVF_HEADER_SIZE + ulData);
  _ovfSet(povf, OVF_W_STATE, OVF_STATE_CREATED);
  omsgsTrace("Ovf cree: %p\n", static_cast<void *>(povf));

done:
  if (povf == nullptr && piErrno != nullptr) *piErrno = iErr;
  if (gboTorvelExist) omsgsTraceOutIntern("ovfCreate", povf == nullptr ? iErr : 0);
  return povf;
}

int ovfDestroy(ovf *povf)
{
  if (povf == nullptr) return ORC_INVALID;
  if (gboTorvelExist) omsgsTraceInIntern("ovfDestroy", 1);
  omsgsTrace("Destruction ovf: %p\n", static_cast<void *>(povf));
  int iSemId = _ovfGetInt(povf, OVF_W_SEMID);
  int iShmId = _ovfGetInt(povf, OVF_W_SHMID);
  int iRc = 0;

  /* A stopped producer may be waiting for a free half to write its end
     record in; the consumer reads no more, so let it have one. */
  if (_ovfGet(povf, OVF_W_STATE) == OVF_STATE_STOPPED) _semReleaseWriteFull(iSemId);

  for (;;) {
    if (_ovfGet(povf, OVF_W_STATE) == OVF_STATE_EOF) break;
    if (_ovfGetInt(povf, OVF_W_PRODUCER_HALF) == 0) break;   /* it never wrote */
    if (osignalCaught() != 0) break;   /* the run is ending: the producer is told the same */
    if (_ovfProducerGone(povf)) {
      omsgsTrace("Producer of %p ended without its end record\n", static_cast<void *>(povf));
      iRc = OVF_RC_LOST;
      break;
    }
    struct timespec ts;
    ts.tv_sec = 0;
    ts.tv_nsec = OVF_DESTROY_PAUSE_NS;
    nanosleep(&ts, nullptr);
  }

  ovfWatchProducer(povf, 0);
  omsgsTrace("Destroy complete, deleting IPC resssources\n");
  omsgsDeleteIPCResource(OMSGS_IPC_SEM, iSemId);
  semctl(iSemId, 0, IPC_RMID);
  /* the segment, marked at its creation, goes with its last user */
  omsgsTrace("Detaching segment %d\n", iShmId);
  shmdt(povf);
  if (gboTorvelExist) omsgsTraceOutIntern("ovfDestroy", iRc);
  return iRc;
}

/* ---- groups -------------------------------------------------------------- */

ovfgroup *ovfGroupCreate(int iCapacity, int *piErrno)
{
  if (gboTorvelExist) omsgsTraceInIntern("ovfGroupCreate", 1);
  int iErr = 0;
  ovfgroup *pgroup = nullptr;
  size_t nSlots = iCapacity > 0 ? static_cast<size_t>(iCapacity) : 1;

  if (iCapacity < 0) {
    iErr = EINVAL;
  } else {
    pgroup = static_cast<ovfgroup *>(std::calloc(1, sizeof(ovfgroup)));
    if (pgroup != nullptr) {
      pgroup->piSemIds = static_cast<int *>(std::calloc(nSlots, sizeof(int)));
      pgroup->ppovfMembers = static_cast<ovf **>(std::calloc(nSlots, sizeof(ovf *)));
    }
    if (pgroup == nullptr || pgroup->piSemIds == nullptr || pgroup->ppovfMembers == nullptr)
      iErr = ENOMEM;
  }
  if (iErr == 0) {
    pgroup->iCapacity = iCapacity;
    pgroup->iSemId = semget(IPC_PRIVATE, 1, IPC_CREAT | IPC_EXCL | OVF_IPC_MODE);
    if (pgroup->iSemId == -1) {
      iErr = errno;
      omsgsTrace("Pb creation semaphore ovfgroup\n");
    } else {
      omsgsStoreIPCResource(OMSGS_IPC_SEM, pgroup->iSemId);
      union _ovfSemun arg;
      arg.val = 0;
      if (semctl(pgroup->iSemId, 0, SETVAL, arg) == -1) {
        iErr = errno;
        omsgsTrace("Pb initialisation semaphore ovfgroup\n");
        omsgsDeleteIPCResource(OMSGS_IPC_SEM, pgroup->iSemId);
        semctl(pgroup->iSemId, 0, IPC_RMID);
      }
    }
  }
  if (iErr != 0) {
    if (pgroup != nullptr) {
      std::free(pgroup->piSemIds);
      std::free(pgroup->ppovfMembers);
      std::free(pgroup);
      pgroup = nullptr;
    }
    if (piErrno != nullptr) *piErrno = iErr;
  } else {
    omsgsTrace("Ovfgroup cree: %p\n", static_cast<void *>(pgroup));
  }
  if (gboTorvelExist) omsgsTraceOutIntern("ovfGroupCreate", iErr);
  return pgroup;
}

void ovfGroupAdd(ovfgroup *pgroup, ovf *povf)
{
  if (pgroup == nullptr || povf == nullptr) return;
  if (gboTorvelExist) omsgsTraceInIntern("ovfGroupAdd", 1);
  bool boMember = false;
  for (int i = 0; i < pgroup->iCount; i++) boMember = boMember || pgroup->ppovfMembers[i] == povf;
  if (boMember || pgroup->iCount >= pgroup->iCapacity) {
    omsgsTrace("Ovf %p not added to ovfgroup %p: %s\n", static_cast<void *>(povf),
               static_cast<void *>(pgroup), boMember ? "already a member" : "group full");
  } else {
    _ovfSet(povf, OVF_W_GROUP, static_cast<uint32_t>(pgroup->iSemId) + 1);
    pgroup->piSemIds[pgroup->iCount] = _ovfGetInt(povf, OVF_W_SEMID);
    pgroup->ppovfMembers[pgroup->iCount] = povf;
    pgroup->iCount++;
    omsgsTrace("Ovf %p ajoute dans ovfgroup %p\n", static_cast<void *>(povf),
               static_cast<void *>(pgroup));
  }
  if (gboTorvelExist) omsgsTraceOutIntern("ovfGroupAdd", 0);
}

int ovfGroupRemove(ovfgroup *pgroup, ovf *povf)
{
  if (pgroup == nullptr || povf == nullptr) return ORC_INVALID;
  if (gboTorvelExist) omsgsTraceInIntern("ovfGroupRemove", 1);
  int iRc = OVF_RC_NOTMEMBER;
  for (int i = 0; i < pgroup->iCount; i++) {
    if (pgroup->ppovfMembers[i] != povf) continue;
    iRc = ovfDestroy(povf);
    for (int j = i + 1; j < pgroup->iCount; j++) {
      pgroup->ppovfMembers[j - 1] = pgroup->ppovfMembers[j];
      pgroup->piSemIds[j - 1] = pgroup->piSemIds[j];
    }
    pgroup->iCount--;
    pgroup->ppovfMembers[pgroup->iCount] = nullptr;
    pgroup->piSemIds[pgroup->iCount] = 0;
    pgroup->povfCurrent = nullptr;
    break;
  }
  omsgsTrace("Ovf %p enleve de ovfgroup %p\n", static_cast<void *>(povf), static_cast<void *>(pgroup));
  if (gboTorvelExist) omsgsTraceOutIntern("ovfGroupRemove", iRc);
  return iRc;
}

void ovfGroupStop(ovfgroup *pgroup)
{
  if (pgroup == nullptr) return;
  for (int i = 0; i < pgroup->iCount; i++) ovfStop(pgroup->ppovfMembers[i]);
}

int ovfGroupDestroy(ovfgroup *pgroup)
{
  if (pgroup == nullptr) return ORC_INVALID;
  if (gboTorvelExist) omsgsTraceInIntern("ovfGroupDestroy", 1);
  omsgsTrace("Destruction ovfgroup: %p\n", static_cast<void *>(pgroup));
  for (int i = 0; i < pgroup->iCount; i++) ovfDestroy(pgroup->ppovfMembers[i]);
  omsgsDeleteIPCResource(OMSGS_IPC_SEM, pgroup->iSemId);
  semctl(pgroup->iSemId, 0, IPC_RMID);
  std::free(pgroup->piSemIds);
  std::free(pgroup->ppovfMembers);
  std::free(pgroup);
  if (gboTorvelExist) omsgsTraceOutIntern("ovfGroupDestroy", 0);
  return 0;
}

/*
** _ovfGroupWait
**   Takes one token of the group semaphore (a half handed over by some
**   member), checking the members' producers after every poll interval.  A
**   producer that died between posting its channel and posting the group
**   leaves a full half without a token: the consumer goes and reads it.
**   Returns 0; OVF_RC_LOST with *ppovfLost set when a member's producer has
**   ended without its end record and left no full half; OVF_RC_INTERRUPTED
**   once the process caught a signal asking it to stop; ORC_INVALID when the
**   semaphore fails.
*/
static int _ovfGroupWait(ovfgroup *pgroup, ovf **ppovfLost)
{
  for (;;) {
    int iRc = _semLockReadFull(pgroup->iSemId);
    if (iRc == 0) return 0;
    if (iRc < 0) return ORC_INVALID;
    if (osignalCaught() != 0) return OVF_RC_INTERRUPTED;
    for (int i = 0; i < pgroup->iCount; i++) {
      ovf *povf = pgroup->ppovfMembers[i];
      if (!_ovfProducerGone(povf)) continue;
      if (semctl(pgroup->piSemIds[i], OVF_SEM_FULL, GETVAL) > 0) return 0;
      *ppovfLost = povf;
      return OVF_RC_LOST;
    }
  }
}

/*
** _ovfGroupMember
**   The member to read next: the only one; else the current one while it
**   has records left in its half; else, after one token of the group
**   semaphore, the first member (in member order) with a full half, which
**   becomes the current one.
**   Returns 0 with *ppovf set; OVF_RC_LOST when a member's producer ended
**   without its end record (that member is removed); OVF_RC_NOTREADY,
**   OVF_RC_INTERRUPTED and ORC_INVALID as ovfGroupRead.
*/
static int _ovfGroupMember(ovfgroup *pgroup, ovf **ppovf)
{
  if (pgroup->iCount == 1) {
    *ppovf = pgroup->ppovfMembers[0];
    return 0;
  }
  ovf *povf = pgroup->povfCurrent;
  if (povf == nullptr || _ovfRecordsLeft(povf) == 0) {
    ovf *povfLost = nullptr;
    int iRc = _ovfGroupWait(pgroup, &povfLost);
    if (iRc == OVF_RC_LOST) ovfGroupRemove(pgroup, povfLost);
    if (iRc != 0) return iRc;
    povf = nullptr;
    for (int i = 0; i < pgroup->iCount && povf == nullptr; i++) {
      if (_semLockReadFullNoWait(pgroup->piSemIds[i]) == 0) {
        _semReleaseReadFull(pgroup->piSemIds[i]);
        povf = pgroup->ppovfMembers[i];
      }
    }
    if (povf == nullptr) return OVF_RC_NOTREADY;
    pgroup->povfCurrent = povf;
  }
  *ppovf = povf;
  return 0;
}

int ovfGroupRead(ovfgroup *pgroup, void *pBuffer, int iSize, int *piLen)
{
  if (pgroup == nullptr || piLen == nullptr) return ORC_INVALID;
  for (;;) {
    if (pgroup->iCount == 0) return OVF_RC_NOMEMBER;
    bool boLast = pgroup->iCount == 1;
    ovf *povf = nullptr;
    int iRc = _ovfGroupMember(pgroup, &povf);
    if (iRc != 0) {
      if (iRc == OVF_RC_LOST || iRc == OVF_RC_INTERRUPTED) *piLen = 0;
      return iRc;
    }
    iRc = ovfRead(povf, pBuffer, iSize, piLen);
    if (iRc == OVF_RC_LOST) {
      ovfGroupRemove(pgroup, povf);
      return iRc;
    }
    if (iRc != 0 || *piLen != 0) return iRc;
    /* End record of this member: drop it and go on with the others. */
    ovfGroupRemove(pgroup, povf);
    if (boLast) return 0;
  }
}

int ovfGroupReadRecords(ovfgroup *pgroup, ovfrecords *prec)
{
  if (pgroup == nullptr || prec == nullptr) return ORC_INVALID;
  for (;;) {
    if (pgroup->iCount == 0) return OVF_RC_NOMEMBER;
    ovf *povf = nullptr;
    int iRc = _ovfGroupMember(pgroup, &povf);
    if (iRc != 0) return iRc;
    iRc = ovfReadRecords(povf, prec);
    if (iRc == OVF_RC_LOST) {
      ovfGroupRemove(pgroup, povf);
      return iRc;
    }
    if (iRc != 0 || prec->iEnd == 0) return iRc;
    /* End record of this member: drop it and go on with the others. */
    ovfGroupRemove(pgroup, povf);
    if (pgroup->iCount == 0) return 0;
    prec->iEnd = 0;
  }
}
