/*
** zor3write.cpp
**   The writer: row buffering, synchronous writing, the writing thread and
**   its two queues, MAXROWS / SIZELIMIT / FILEMAXSIZE, data-file rotation,
**   LOB files and standard output.  The contract, the thread design and the
**   file naming are in io/zor3write.h.
**
**   Every write() is checked: a short write is continued, an error (a full
**   disk among them) is reported once with ZORU347E and kept as the writer's
**   failure code, which every later call returns.
*/
#include "io/zor3write.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/obf.h"
#include "common/ochaine.h"
#include "common/ochar.h"
#include "common/olist.h"
#include "model/config.h"
#include "model/token.h"
#include "model/tools.h"
#include "model/udb.h"
#include "model/zoratom.h"
#include "model/zormsgs.h"
#include "model/zortask.h"

#define OMSGS_TRACE_KEYWORD "$WRITE"
#define OMSGS_DEBUG_KEYWORD nullptr
#include "common/omsgsmod.h"

/* ------------------------------------------------------------- helpers */

/* A writer cannot be made without memory: the process ends. */
[[noreturn]] static void _writeNoMemory(void)
{
  std::fprintf(stderr, "zor3write: out of memory\n");
  std::exit(ORC_NOMEM & 0xFF);
}

static void *_writeAlloc(size_t ulSize)
{
  void *p = std::calloc(1, ulSize != 0 ? ulSize : 1);
  if (p == nullptr) _writeNoMemory();
  return p;
}

static zorwriteBuff *_writeBuffCreate(int32_t ilCapacity)
{
  zorwriteBuff *pbuff = static_cast<zorwriteBuff *>(_writeAlloc(sizeof(zorwriteBuff)));
  pbuff->ilCapacity = ilCapacity;
  pbuff->pcData = static_cast<char *>(_writeAlloc(static_cast<size_t>(ilCapacity)));
  return pbuff;
}

void zorwriteBuffDestroy(ochaine *, void *pitem)
{
  zorwriteBuff *pbuff = static_cast<zorwriteBuff *>(pitem);
  if (pbuff == nullptr) return;
  std::free(pbuff->pcData);
  std::free(pbuff);
}

static inline int _writeKind(const zorwrite *pwrite)
{
  return static_cast<int>(pwrite->ulType & ZORWRITE_KIND_MASK);
}

static inline bool _writeIsLob(const zorwrite *pwrite)
{
  return (pwrite->ulType & ZORWRITE_LOBFILE) != 0;
}

/*
** Names the LOB file a LOB-file writer failed on, with the table and the
** reason (the system's for TOOLS_RC_IO | errno): ZORU455E.
*/
static void _writeReportLob(const zorwrite *pwrite, int iRc)
{
  std::string strTable;
  for (const ochar *pchar : {pwrite->pcharQualifier, pwrite->pcharTable}) {
    if (pchar == nullptr || pchar->pcData == nullptr) continue;
    if (!strTable.empty()) strTable += '.';
    strTable.append(_charText(pchar), static_cast<size_t>(pchar->ilBU));
  }
  char acReason[256];
  const char *pcReason = acReason;
  if ((iRc & ~0xfff) == TOOLS_RC_IO && (iRc & 0xfff) != 0)
    pcReason = strerror_r(iRc & 0xfff, acReason, sizeof acReason);
  else
    std::snprintf(acReason, sizeof acReason, "REASON CODE 0x%x", iRc);
  const ochar *pcharName = pwrite->pcharLobName;
  std::string strName;
  if (pcharName != nullptr && pcharName->pcData != nullptr)
    strName.assign(_charText(pcharName), static_cast<size_t>(pcharName->ilBU));
  omsgsFMTEDO(ZORU455E, strName.c_str(), strTable.empty() ? "?" : strTable.c_str(), pcReason);
}

/* Keeps the first failure of the owner's side; a LOB-file writer reports it
** (ZORU455E).  Returns 0 for 0, else the first failure (a later one never
** takes its place). */
static int _writeFail(zorwrite *pwrite, int iRc)
{
  if (iRc == 0) return 0;
  if (pwrite->iRcFailure == 0) {
    pwrite->iRcFailure = iRc;
    if (_writeIsLob(pwrite)) _writeReportLob(pwrite, iRc);
  }
  return pwrite->iRcFailure;
}

/* Reports a failed system call on the file in use. */
static int _writeReportErrno(const char *pcName, int iErrno)
{
  char acText[256];
  const char *pcText = strerror_r(iErrno, acText, sizeof acText);
  omsgsFMTEDO(ZORU347E, pcName != nullptr ? pcName : "", pcText);
  return TOOLS_RC_IO | iErrno;
}

/*
** _writeBytes
**   Writes all ilLength bytes on the file in use, continuing short writes,
**   in calls of at most 1 MB: a batch of converted rows (about 300 KB) goes
**   in one call, not two as with calls of 256 KB, which took longer in the
**   kernel (1,000,000 rows into DEL: 40 -> 33 ms in write(); 10,000,000
**   rows: 0.58 -> 0.50 s wall); a much larger call makes the file system
**   take larger page-cache blocks, which can cost many times the copy
**   itself.
**   Returns 0, or TOOLS_RC_IO | errno after ZORU347E (ENOSPC when the
**   system accepts nothing without an error).
*/
static int _writeBytes(zorwrite *pwrite, const char *pc, int64_t llLength)
{
  constexpr int64_t llChunk = 1024 * 1024;
  while (llLength > 0) {
    ssize_t l = write(pwrite->iFd, pc, static_cast<size_t>(std::min(llLength, llChunk)));
    if (l < 0) {
      if (errno == EINTR) continue;
      return _writeReportErrno(pwrite->pcFileName, errno);
    }
    if (l == 0) return _writeReportErrno(pwrite->pcFileName, ENOSPC);
    pc += l;
    llLength -= l;
  }
  return 0;
}

/* Closes the file in use (never standard output) and marks no file open;
** gives up the lock on standard output.  Returns 0, or TOOLS_RC_IO | errno
** after ZORU347E. */
static int _writeCloseFd(zorwrite *pwrite)
{
  int iRc = 0;
  if (pwrite->iFd > 1 && close(pwrite->iFd) != 0) iRc = _writeReportErrno(pwrite->pcFileName, errno);
  pwrite->iFd = 0;
  if (pwrite->iFdLock >= 0) close(pwrite->iFdLock);
  pwrite->iFdLock = -1;
  return iRc;
}

/*
** writeOpenLocked (io/zor3write.h)
**   Opens pcName for writing, created mode 0644 under the effective identity
**   when missing, appended to with boAppend, else emptied, and takes the
**   exclusive lock that every writer holds on a file for as long as it has
**   it open.  The file is emptied only once the lock is held: a second
**   writer never cuts what the first one writes.  What is no regular file
**   (a device, a FIFO) and a file system that takes no lock at all
**   (ENOLCK, EINVAL) are written without one.
**   Returns the descriptor, or -1 with *piRc: ZORWRITE_RC_INUSE after
**   ZORU490E when another process holds the lock, TOOLS_RC_IO | errno after
**   ZORU347E when the file cannot be opened or emptied.
*/
int writeOpenLocked(const char *pcName, bool boAppend, int *piRc)
{
  *piRc = 0;
  int iFd = open(pcName, O_WRONLY | O_CREAT | O_CLOEXEC | (boAppend ? O_APPEND : 0), 0644);
  if (iFd < 0) {
    *piRc = _writeReportErrno(pcName, errno);
    return -1;
  }
  /* a device or a FIFO gives each writer its stream: only files are locked */
  struct stat st;
  bool boFile = fstat(iFd, &st) == 0 && S_ISREG(st.st_mode);
  if (boFile && flock(iFd, LOCK_EX | LOCK_NB) != 0) {
    int iErrno = errno;
    if (iErrno == EWOULDBLOCK) {
      close(iFd);
      omsgsFMTEDO(ZORU490E, pcName);
      *piRc = ZORWRITE_RC_INUSE;
      return -1;
    }
    omsgsTrace("%s written without a lock: %s\n", pcName, std::strerror(iErrno));
  }
  if (!boAppend && boFile && st.st_size > 0 && ftruncate(iFd, 0) != 0) {
    int iErrno = errno;
    close(iFd);
    *piRc = _writeReportErrno(pcName, iErrno);
    return -1;
  }
  return iFd;
}

static void _writeSetFileName(zorwrite *pwrite, char *pcName)
{
  std::free(pwrite->pcFileName);
  pwrite->pcFileName = pcName;
}

/* --------------------------------------------------------- thread and queues */

/* Keeps the name and row count of a file the thread closed, for writeClose to report. */
static void _writeNoteClosed(zorwrite *pwrite, int64_t llRows)
{
  auto *aclosed = static_cast<zorwriteClosed *>(
      std::realloc(pwrite->aclosed, (static_cast<size_t>(pwrite->iClosed) + 1) * sizeof(zorwriteClosed)));
  if (aclosed == nullptr) return;   /* the file is written; only its message is lost */
  pwrite->aclosed = aclosed;
  aclosed[pwrite->iClosed].pcName = pwrite->pcFileName != nullptr ? strdup(pwrite->pcFileName) : nullptr;
  aclosed[pwrite->iClosed].llRows = llRows;
  pwrite->iClosed++;
}

static void *_writeAsyncWriterProc(void *pArgument);

/* Starts the writing thread.  Returns 0 or ORC_NOMEM. */
static int _writeStartThread(zorwrite *pwrite)
{
  pwrite->boStop = 0;
  pwrite->boThread = 1;
  int iErr = pthread_create(&pwrite->threadWriter, nullptr, _writeAsyncWriterProc, pwrite);
  if (iErr != 0) {
    pwrite->boThread = 0;
    omsgsTrace("writer thread not started: %d\n", iErr);
    return ORC_NOMEM;
  }
  omsgsTrace("writer thread started\n");
  return 0;
}

/* Asks the thread to stop once the full queue is empty, and joins it.  The
** thread's failure becomes the writer's. */
static void _writeStopThread(zorwrite *pwrite)
{
  if (!pwrite->boThread) return;
  pthread_mutex_lock(&pwrite->mutexFull);
  pwrite->boStop = 1;
  pthread_cond_broadcast(&pwrite->condFull);
  pthread_mutex_unlock(&pwrite->mutexFull);
  pthread_join(pwrite->threadWriter, nullptr);
  pwrite->boThread = 0;
  pwrite->boStop = 0;
  _writeFail(pwrite, pwrite->iRcThread);
  omsgsTrace("writer thread joined, rc 0x%x\n", pwrite->iRcThread);
}

/* Hands the owner's buffer to the thread. */
static void _writeHandOver(zorwrite *pwrite)
{
  zorwriteBuff *pbuff = pwrite->pbuffCurrent;
  if (pbuff == nullptr) return;
  pwrite->pbuffCurrent = nullptr;
  pthread_mutex_lock(&pwrite->mutexFull);
  ochaineAppend(pwrite->pchaineFull, pbuff);
  pthread_cond_broadcast(&pwrite->condFull);
  pthread_mutex_unlock(&pwrite->mutexFull);
}

/*
** _writeWaitFree
**   Waits until the free queue holds iWanted buffers, then takes the first
**   as the current buffer when the owner has none.
**   Returns 0; ZORWRITE_RC_NOBUFF when no thread runs to give buffers back;
**   or the thread's failure code (the buffer is still taken).
*/
static int _writeWaitFree(zorwrite *pwrite, int iWanted)
{
  int iRc = 0;
  pthread_mutex_lock(&pwrite->mutexFree);
  while (pwrite->pchaineFree->iItemCount < iWanted && pwrite->boThread)
    pthread_cond_wait(&pwrite->condFree, &pwrite->mutexFree);
  if (pwrite->pchaineFree->iItemCount < iWanted) iRc = ZORWRITE_RC_NOBUFF;
  if (pwrite->pbuffCurrent == nullptr && pwrite->pchaineFree->iItemCount > 0)
    pwrite->pbuffCurrent =
        static_cast<zorwriteBuff *>(ochaineRemoveItem(pwrite->pchaineFree, pwrite->pchaineFree->pitemTop));
  int iRcThread = pwrite->iRcThread;
  pthread_mutex_unlock(&pwrite->mutexFree);
  if (iRcThread != 0) return _writeFail(pwrite, iRcThread);
  if (iRc == 0 && pwrite->pbuffCurrent == nullptr) iRc = ZORWRITE_RC_NOBUFF;
  return iRc;
}

/*
** _writeAsyncWriterProc
**   The writing thread: writes the buffers of the full queue in order,
**   opening a file when none is open and closing it after a close-after
**   buffer, and returns each buffer to the free queue.  After a failure it
**   keeps returning buffers without writing them.  Ends when the stop
**   request comes and the full queue is empty.
*/
static void *_writeAsyncWriterProc(void *pArgument)
{
  zorwrite *pwrite = static_cast<zorwrite *>(pArgument);
  int iRc = 0;
  for (;;) {
    pthread_mutex_lock(&pwrite->mutexFull);
    while (pwrite->pchaineFull->iItemCount == 0 && !pwrite->boStop)
      pthread_cond_wait(&pwrite->condFull, &pwrite->mutexFull);
    zorwriteBuff *pbuff = nullptr;
    if (pwrite->pchaineFull->iItemCount > 0)
      pbuff = static_cast<zorwriteBuff *>(ochaineRemoveItem(pwrite->pchaineFull, pwrite->pchaineFull->pitemTop));
    pthread_mutex_unlock(&pwrite->mutexFull);
    if (pbuff == nullptr) break;

    if (iRc == 0 && pwrite->iFd == 0) iRc = pwrite->procOpen(pwrite);
    if (iRc == 0) iRc = _writeBytes(pwrite, pbuff->pcData, pbuff->ilUsed);
    if (iRc == 0 && pbuff->iCloseAfter) {
      iRc = _writeCloseFd(pwrite);
      if (iRc == 0) _writeNoteClosed(pwrite, pbuff->llRowsOfFile);
    }
    pbuff->ilUsed = 0;
    pbuff->iCloseAfter = 0;

    pthread_mutex_lock(&pwrite->mutexFree);
    if (iRc != 0 && pwrite->iRcThread == 0) pwrite->iRcThread = iRc;
    ochaineAppend(pwrite->pchaineFree, pbuff);
    pthread_cond_broadcast(&pwrite->condFree);
    pthread_mutex_unlock(&pwrite->mutexFree);
  }
  return nullptr;
}

/* ------------------------------------------------------------- opening */

/*
** _writeOpenFile
**   Opens the next data file (or standard output); starts the writing
**   thread of a kind-2 writer that has none.  With FILEMAXSIZE the first
**   file keeps the item's name and the sequence then runs 1, 2, ...
**   Returns 0, TOOLS_RC_IO | errno after ZORU347E, or ORC_NOMEM.
*/
static int _writeOpenFile(zorwrite *pwrite)
{
  if (pwrite->poutFile != nullptr) {
    int iSequence = -1;
    if (pwrite->llFileMaxSize > 0) {
      /* a threaded writer restarts the count itself when it rotates */
      if (_writeKind(pwrite) != ZORWRITE_ASYNC) pwrite->llRowsInFile = 0;
      iSequence = pwrite->iSequence;
      pwrite->iSequence = pwrite->iSequence == -1 ? 1 : pwrite->iSequence + 1;
    }
    const ochar *pcharName = pwrite->poutFile->pcharFileName;
    if (pcharName == nullptr || pcharName->pcData == nullptr) return ORC_INVALID;
    char *pcName = toolsFormatFilename(_charText(pcharName), pcharName->ilBU, pwrite->iPartition, iSequence, 1);
    if (pcName == nullptr) return TOOLS_RC_IO | ENAMETOOLONG;
    int iRc = 0;
    int iFd = writeOpenLocked(pcName, (pwrite->poutFile->ulMode & UDB_MODE_REPLACE) == 0, &iRc);
    omsgsTrace("open %s: fd %d rc 0x%x\n", pcName, iFd, iRc);
    if (iFd < 0) {
      std::free(pcName);
      return iRc != 0 ? iRc : TOOLS_RC_IO;
    }
    pwrite->iFd = iFd;
    _writeSetFileName(pwrite, pcName);
  } else {
    char *pcName = strdup("stdout");
    if (pcName == nullptr) return ORC_NOMEM;
    /* the SELECTs of a run that write standard output take turns */
    if (pwrite->iFdLock < 0) pwrite->iFdLock = writeLockStdout();
    pwrite->iFd = 1;
    _writeSetFileName(pwrite, pcName);
  }
  if (_writeKind(pwrite) == ZORWRITE_ASYNC && !pwrite->boThread) return _writeStartThread(pwrite);
  return 0;
}

static int64_t _writeLobFileTotal(const zorwrite *pwrite)
{
  int64_t llDirs = pwrite->iLobDirCount > 0 ? pwrite->iLobDirCount : 1;
  return static_cast<int64_t>(pwrite->iFilesPerName) * pwrite->iLobFileCount * llDirs;
}

/*
** _writeOpenFileLob
**   Advances to the next LOB file name and creates that file.  Once every
**   name of every directory has been used, refuses to reuse one.
**   Returns 0, ORC_INVALID without LOBFILE names, ORC_NOMEM, or
**   TOOLS_RC_IO | errno after ZORU347E (EEXIST when the names are used up).
*/
static int _writeOpenFileLob(zorwrite *pwrite)
{
  if (pwrite->iLobFileCount <= 0) return ORC_INVALID;
  if (pwrite->iSequence < 0) {
    pwrite->iSequence = 1;
    pwrite->iLobFileIndex = 0;
    pwrite->iLobDirIndex = 0;
  } else if (++pwrite->iSequence > pwrite->iFilesPerName) {
    pwrite->iSequence = 1;
    if (++pwrite->iLobFileIndex >= pwrite->iLobFileCount) {
      pwrite->iLobFileIndex = 0;
      if (++pwrite->iLobDirIndex >= pwrite->iLobDirCount) pwrite->iLobDirIndex = 0;
    }
  }

  std::string strName;
  if (pwrite->iLobDirCount > 0) {
    const ochar *pcharDir = pwrite->ppcharLobDirs[pwrite->iLobDirIndex];
    strName.assign(_charText(pcharDir), static_cast<size_t>(pcharDir->ilBU));
    strName += '/';
  }
  const ochar *pcharFile = pwrite->ppcharLobFiles[pwrite->iLobFileIndex];
  strName.append(_charText(pcharFile), static_cast<size_t>(pcharFile->ilBU));
  char acSuffix[40];
  if (pwrite->iPartition >= 0)
    std::snprintf(acSuffix, sizeof acSuffix, "_%3.3d.%3.3d", pwrite->iPartition, pwrite->iSequence);
  else
    std::snprintf(acSuffix, sizeof acSuffix, ".%3.3d", pwrite->iSequence);
  strName += acSuffix;

  pwrite->pcharLobName->ilBU = 0;
  pwrite->pcharLobName->ilL = 0;
  if (ocharAppendFixedS(pwrite->pcharLobName, strName.data(), static_cast<int32_t>(strName.size())) != 0 ||
      ocharMakeC(pwrite->pcharLobName) != 0)
    return ORC_NOMEM;

  if (pwrite->llLobFilesOpened >= _writeLobFileTotal(pwrite)) {
    /* the names come round again: never overwrite a LOB file written here */
    return _writeReportErrno(strName.c_str(), EEXIST);
  }

  int iRc = 0;
  int iFd = writeOpenLocked(strName.c_str(), false, &iRc);
  omsgsTrace("open LOB file %s: fd %d rc 0x%x\n", strName.c_str(), iFd, iRc);
  if (iFd < 0) return iRc != 0 ? iRc : TOOLS_RC_IO;
  char *pcName = strdup(strName.c_str());
  if (pcName == nullptr) {
    close(iFd);
    return ORC_NOMEM;
  }
  pwrite->iFd = iFd;
  _writeSetFileName(pwrite, pcName);
  pwrite->llLobFilesOpened++;
  return 0;
}

/* Opens a file through the open operation when none is open (owner side). */
static int _writeEnsureOpen(zorwrite *pwrite)
{
  if (pwrite->iFd != 0) return 0;
  return _writeFail(pwrite, pwrite->procOpen(pwrite));
}

/* ------------------------------------------------------- synchronous writes */

/*
** _writePlace
**   Puts one row into the buffer, writing the buffer when the row does not
**   fit: the free space is filled, the buffer written, the rest of the row
**   written straight from the caller's memory while more than one capacity
**   remains, and the remainder kept in the buffer.
**   Returns 0 or the open or write failure code.
*/
static int _writePlace(zorwrite *pwrite, const char *pc, int32_t ilLength)
{
  zorwriteBuff *pbuff = pwrite->pbuffCurrent;
  int32_t ilFree = pbuff->ilCapacity - pbuff->ilUsed;
  if (ilLength <= ilFree) {
    if (ilLength > 0) std::memcpy(pbuff->pcData + pbuff->ilUsed, pc, static_cast<size_t>(ilLength));
    pbuff->ilUsed += ilLength;
    return 0;
  }
  std::memcpy(pbuff->pcData + pbuff->ilUsed, pc, static_cast<size_t>(ilFree));
  pbuff->ilUsed = pbuff->ilCapacity;
  int iRc = _writeEnsureOpen(pwrite);
  if (iRc != 0) return iRc;
  iRc = _writeBytes(pwrite, pbuff->pcData, pbuff->ilUsed);
  if (iRc != 0) return _writeFail(pwrite, iRc);
  pbuff->ilUsed = 0;
  pc += ilFree;
  int32_t ilRest = ilLength - ilFree;
  int32_t ilKeep = ilRest % pbuff->ilCapacity;
  if (ilKeep == 0) ilKeep = pbuff->ilCapacity;
  if (ilRest > ilKeep) {
    iRc = _writeBytes(pwrite, pc, ilRest - ilKeep);
    if (iRc != 0) return _writeFail(pwrite, iRc);
    pc += ilRest - ilKeep;
  }
  std::memcpy(pbuff->pcData, pc, static_cast<size_t>(ilKeep));
  pbuff->ilUsed = ilKeep;
  return 0;
}

/*
** _writePlaceHeader
**   Puts the file header in front of what the current file will hold, when
**   it is due: into the buffer of a synchronous writer (written as a row
**   is), into the owner's buffer of a threaded one (grown when needed).
**   Returns 0, or the open, write or buffer failure code.
*/
static int _writePlaceHeader(zorwrite *pwrite)
{
  if (!pwrite->boHeaderDue) return 0;
  pwrite->boHeaderDue = 0;
  if (pwrite->ilFileHeader <= 0) return 0;
  if (_writeKind(pwrite) == ZORWRITE_ASYNC) {
    if (pwrite->pbuffCurrent == nullptr) {
      int iRc = _writeWaitFree(pwrite, 1);
      if (iRc != 0) return iRc;
    }
    zorwriteBuff *pbuff = pwrite->pbuffCurrent;
    if (pwrite->ilFileHeader > pbuff->ilCapacity - pbuff->ilUsed) {
      size_t ulSize = static_cast<size_t>(pbuff->ilUsed) + static_cast<size_t>(pwrite->ilFileHeader);
      char *pc = static_cast<char *>(std::realloc(pbuff->pcData, ulSize));
      if (pc == nullptr) return ORC_NOMEM;
      pbuff->pcData = pc;
      pbuff->ilCapacity = static_cast<int32_t>(ulSize);
    }
    std::memcpy(pbuff->pcData + pbuff->ilUsed, pwrite->pcFileHeader, static_cast<size_t>(pwrite->ilFileHeader));
    pbuff->ilUsed += pwrite->ilFileHeader;
  } else {
    int iRc = _writePlace(pwrite, pwrite->pcFileHeader, pwrite->ilFileHeader);
    if (iRc != 0) return iRc;
  }
  pwrite->llBytesInFile += pwrite->ilFileHeader;
  return 0;
}

/* True when the current data file holds at least one row after its header. */
static bool _writeFileHasRows(const zorwrite *pwrite)
{
  return pwrite->llBytesInFile > pwrite->ilFileHeader;
}

/* True when MAXROWS rows have been written, or SIZELIMIT bytes put into the
** current file: the row is refused (the row that reached SIZELIMIT was
** written and already answered with the limit code). */
static bool _writeLimitReached(const zorwrite *pwrite)
{
  if (pwrite->llMaxRows >= 0 && pwrite->llRowsTotal >= pwrite->llMaxRows) return true;
  return pwrite->llSizeLimit >= 0 && pwrite->llBytesInFile >= pwrite->llSizeLimit && pwrite->llBytesInFile > 0;
}

/* _writeWriteFile: synchronous write without limits. */
static int _writeWriteFile(zorwrite *pwrite, const void *pData, int32_t ilLength)
{
  if (pwrite->iRcFailure != 0) return pwrite->iRcFailure;
  if (ilLength < 0 || (pData == nullptr && ilLength > 0)) return ORC_INVALID;
  int iRc = _writePlaceHeader(pwrite);
  if (iRc == 0) iRc = _writePlace(pwrite, static_cast<const char *>(pData), ilLength);
  if (iRc != 0) return iRc;
  pwrite->llRowsTotal++;
  pwrite->llRowsInFile++;
  pwrite->llBytesInFile += ilLength;
  return 0;
}

/*
** _writeWriteFileLimited
**   Synchronous write with MAXROWS, SIZELIMIT and FILEMAXSIZE (kinds 1 and
**   4).  A data file that holds bytes is closed and the next one opened
**   before a row that would take it past FILEMAXSIZE; a LOB file is never
**   changed here (writeDeclareWrite does it, so a LOB stays whole).
*/
static int _writeWriteFileLimited(zorwrite *pwrite, const void *pData, int32_t ilLength)
{
  if (pwrite->iRcFailure != 0) return pwrite->iRcFailure;
  if (ilLength < 0 || (pData == nullptr && ilLength > 0)) return ORC_INVALID;
  if (_writeLimitReached(pwrite)) return ZORWRITE_RC_LIMIT;
  int iRc = _writePlaceHeader(pwrite);
  if (iRc != 0) return iRc;
  if (!_writeIsLob(pwrite) && pwrite->llFileMaxSize >= 0 && _writeFileHasRows(pwrite) &&
      pwrite->llBytesInFile + ilLength > pwrite->llFileMaxSize) {
    iRc = writeFlush(pwrite);
    if (iRc != 0) return iRc;
    writeClose(pwrite);
    if (pwrite->iRcFailure != 0) return pwrite->iRcFailure;
    iRc = _writeEnsureOpen(pwrite);
    if (iRc != 0) return iRc;
    pwrite->boHeaderDue = 1;
    iRc = _writePlaceHeader(pwrite);
    if (iRc != 0) return iRc;
  }
  iRc = _writePlace(pwrite, static_cast<const char *>(pData), ilLength);
  if (iRc != 0) return iRc;
  pwrite->llRowsTotal++;
  pwrite->llRowsInFile++;
  pwrite->llBytesInFile += ilLength;
  if (pwrite->llSizeLimit >= 0 && pwrite->llBytesInFile >= pwrite->llSizeLimit) return ZORWRITE_RC_LIMIT;
  return 0;
}

/* --------------------------------------------------------- threaded writes */

/*
** _writeAsync
**   Threaded write.  The row is copied whole into the current buffer; a
**   buffer that cannot take it is handed over first, and a row larger than
**   a buffer grows it.  With limits, the buffer before a row that would take
**   the file past FILEMAXSIZE is handed over marked close-after, so the row
**   begins the next file.
*/
static int _writeAsync(zorwrite *pwrite, const void *pData, int32_t ilLength, bool boLimited)
{
  if (pwrite->iRcFailure != 0) return pwrite->iRcFailure;
  if (ilLength < 0 || (pData == nullptr && ilLength > 0)) return ORC_INVALID;
  if (boLimited && _writeLimitReached(pwrite)) return ZORWRITE_RC_LIMIT;
  if (pwrite->pbuffCurrent == nullptr) {
    int iRc = _writeWaitFree(pwrite, 1);
    if (iRc != 0) return iRc;
  }
  int iRc = _writePlaceHeader(pwrite);
  if (iRc != 0) return iRc;
  zorwriteBuff *pbuff = pwrite->pbuffCurrent;
  bool boRotate = boLimited && pwrite->llFileMaxSize >= 0 && _writeFileHasRows(pwrite) &&
                  pwrite->llBytesInFile + ilLength > pwrite->llFileMaxSize;
  if (boRotate || (pbuff->ilUsed > 0 && ilLength > pbuff->ilCapacity - pbuff->ilUsed)) {
    if (boRotate) {
      pbuff->iCloseAfter = 1;
      pbuff->llRowsOfFile = pwrite->llRowsInFile;
      pwrite->llBytesInFile = 0;
      pwrite->llRowsInFile = 0;
    }
    _writeHandOver(pwrite);
    iRc = _writeWaitFree(pwrite, 1);
    if (iRc != 0) return iRc;
    if (boRotate) {
      pwrite->boHeaderDue = 1;
      iRc = _writePlaceHeader(pwrite);
      if (iRc != 0) return iRc;
    }
    pbuff = pwrite->pbuffCurrent;
  }
  if (ilLength > pbuff->ilCapacity - pbuff->ilUsed) {
    size_t ulSize = static_cast<size_t>(pbuff->ilUsed) + static_cast<size_t>(ilLength);
    char *pc = static_cast<char *>(std::realloc(pbuff->pcData, ulSize));
    if (pc == nullptr) return ORC_NOMEM;
    pbuff->pcData = pc;
    pbuff->ilCapacity = static_cast<int32_t>(ulSize);
  }
  if (ilLength > 0) std::memcpy(pbuff->pcData + pbuff->ilUsed, pData, static_cast<size_t>(ilLength));
  pbuff->ilUsed += ilLength;
  pwrite->llRowsTotal++;
  pwrite->llRowsInFile++;
  pwrite->llBytesInFile += ilLength;
  if (boLimited && pwrite->llSizeLimit >= 0 && pwrite->llBytesInFile >= pwrite->llSizeLimit) {
    iRc = writeFlush(pwrite);
    return iRc != 0 ? iRc : ZORWRITE_RC_LIMIT;
  }
  return 0;
}

static int _writeWriteAsyncFile(zorwrite *pwrite, const void *pData, int32_t ilLength)
{
  return _writeAsync(pwrite, pData, ilLength, false);
}

static int _writeWriteAsyncFileLimited(zorwrite *pwrite, const void *pData, int32_t ilLength)
{
  return _writeAsync(pwrite, pData, ilLength, true);
}

/* ------------------------------------------------------------- blocks */

bool writeTakesBlocks(const zorwrite *pwrite)
{
  return pwrite != nullptr && !_writeIsLob(pwrite) && pwrite->iLimited == 0 &&
         (_writeKind(pwrite) == ZORWRITE_SYNC || _writeKind(pwrite) == ZORWRITE_ASYNC);
}

int writeBlock(zorwrite *pwrite, const void *pData, int64_t llLength, int64_t llRows)
{
  if (!writeTakesBlocks(pwrite) || llLength < 0 || llRows < 0 || (pData == nullptr && llLength > 0))
    return ORC_INVALID;
  if (pwrite->iRcFailure != 0) return pwrite->iRcFailure;
  const char *pc = static_cast<const char *>(pData);
  int iRc = 0;
  if (llLength < ZORWRITE_BLOCK_DIRECT) {
    /* small: into the buffer, as rows are */
    if (_writeKind(pwrite) == ZORWRITE_ASYNC) {
      iRc = _writeAsync(pwrite, pc, static_cast<int32_t>(llLength), false);
      if (iRc != 0) return iRc;
      pwrite->llRowsTotal += llRows - 1;
      pwrite->llRowsInFile += llRows - 1;
      return 0;
    }
    iRc = _writePlaceHeader(pwrite);
    if (iRc == 0) iRc = _writePlace(pwrite, pc, static_cast<int32_t>(llLength));
  } else {
    /* large: what the writer holds first, then the block from here */
    iRc = _writePlaceHeader(pwrite);
    if (iRc == 0 && _writeKind(pwrite) == ZORWRITE_ASYNC) {
      if (pwrite->pbuffCurrent != nullptr && pwrite->pbuffCurrent->ilUsed > 0) _writeHandOver(pwrite);
      iRc = _writeWaitFree(pwrite, pwrite->iBuffCount - (pwrite->pbuffCurrent != nullptr ? 1 : 0));
    } else if (iRc == 0 && pwrite->pbuffCurrent->ilUsed > 0) {
      iRc = _writeEnsureOpen(pwrite);
      if (iRc == 0) iRc = _writeFail(pwrite, _writeBytes(pwrite, pwrite->pbuffCurrent->pcData, pwrite->pbuffCurrent->ilUsed));
      if (iRc == 0) pwrite->pbuffCurrent->ilUsed = 0;
    }
    if (iRc == 0) iRc = _writeEnsureOpen(pwrite);
    if (iRc == 0) iRc = _writeFail(pwrite, _writeBytes(pwrite, pc, llLength));
  }
  if (iRc != 0) return iRc;
  pwrite->llRowsTotal += llRows;
  pwrite->llRowsInFile += llRows;
  pwrite->llBytesInFile += llLength;
  return 0;
}

/* ------------------------------------------------------------- creation */

/* The byte count of a size atom {unit, number}: unit 1 K, 2 M, 3 G, else bytes;
** -1 when there is no such atom. */
static int64_t _writeSizeAtom(zortask *ptask, int iToken)
{
  zoratom *patom = zortaskDetermineAtom(ptask, gapnameTotalToken[iToken]);
  if (patom == nullptr) return -1;
  if (patom->iKind == ZORATOM_INTEGER) return patom->value.iValue;
  if (patom->iKind != ZORATOM_TYPE) return -1;
  int64_t llNumber = patom->value2.iValue;
  switch (patom->value.iValue) {
  case 1: return llNumber * 1024;
  case 2: return llNumber * 1024 * 1024;
  case 3: return llNumber * 1024 * 1024 * 1024;
  default: return llNumber;
  }
}

static ochar *_writeTextAtom(zortask *ptask, int iToken)
{
  zoratom *patom = zortaskDetermineAtom(ptask, gapnameTotalToken[iToken]);
  if (patom == nullptr || patom->iKind != ZORATOM_OCHAR || patom->value.pchar == nullptr) return nullptr;
  return patom->value.pchar;
}

static bool _writeSameText(const ochar *pa, const ochar *pb)
{
  return pa->ilBU == pb->ilBU && std::memcmp(_charText(pa), _charText(pb), static_cast<size_t>(pa->ilBU)) == 0;
}

/* Adds a string to an array unless the same text is already there (a name
** given twice would make the writer overwrite its own LOB files). */
static void _writeAddText(ochar ***pppchar, int32_t *piCount, ochar *pchar)
{
  if (pchar == nullptr || pchar->pcData == nullptr) return;
  for (int32_t i = 0; i < *piCount; i++)
    if (_writeSameText((*pppchar)[i], pchar)) return;
  ochar **pp = static_cast<ochar **>(std::realloc(*pppchar, sizeof(ochar *) * static_cast<size_t>(*piCount + 1)));
  if (pp == nullptr) _writeNoMemory();
  pp[(*piCount)++] = pchar;
  *pppchar = pp;
}

/* LOB directories whose partition set holds the partition, and LOBFILE names. */
static void _writeCreateLob(zorwrite *pwrite, zortask *ptask)
{
  zoratom *patom = zortaskDetermineAtom(ptask, gapnameTotalToken[TOKEN_LOB]);
  if (patom != nullptr && patom->iKind == ZORATOM_OLIST && patom->value.plist != nullptr) {
    olistIterator iter;
    olistIteratorInit(&iter, patom->value.plist);
    while (olistIteratorNext(&iter)) {
      udbLobPath *plob = static_cast<udbLobPath *>(olistIteratorGetRef(&iter));
      if (plob == nullptr || plob->pcharPath == nullptr) continue;
      if (pwrite->iPartition >= 0 && plob->pobfPart != nullptr &&
          !obfGet(plob->pobfPart, static_cast<uint32_t>(pwrite->iPartition)))
        continue;
      _writeAddText(&pwrite->ppcharLobDirs, &pwrite->iLobDirCount, plob->pcharPath);
    }
    olistIteratorDestroy(&iter);
  }
  patom = zortaskDetermineAtom(ptask, gapnameTotalToken[TOKEN_LOBFILE]);
  if (patom != nullptr && patom->iKind == ZORATOM_OLIST && patom->value.plist != nullptr) {
    olistIterator iter;
    olistIteratorInit(&iter, patom->value.plist);
    while (olistIteratorNext(&iter))
      _writeAddText(&pwrite->ppcharLobFiles, &pwrite->iLobFileCount, static_cast<ochar *>(olistIteratorGetRef(&iter)));
    olistIteratorDestroy(&iter);
  }
  zoratom *patomLls = zortaskDetermineAtom(ptask, gapnameTotalToken[TOKEN_LLS]);
  if (patomLls != nullptr && patomLls->iKind == ZORATOM_INTEGER && patomLls->value.iValue == 1)
    pwrite->ulType |= ZORWRITE_LLS;
  if (pwrite->ulType & ZORWRITE_LLS) {
    pwrite->iLimited = 1;
    pwrite->llFileMaxSize = ZORWRITE_LLS_FILEMAXSIZE;
  } else {
    pwrite->iLimited = 0;
    pwrite->llFileMaxSize = 0;
  }
  pwrite->llMaxRows = -1;
  pwrite->llSizeLimit = -1;
  pwrite->pcharLobName = ocharCreate(ZORWRITE_LOBNAME_CAPACITY, 850);
  if (pwrite->pcharLobName == nullptr || ocharMakeC(pwrite->pcharLobName) != 0) _writeNoMemory();
}

zorwrite *writeCreate(uint32_t ulType, int32_t iPartition, udbOutFile *pout, int32_t ilCapacity,
                      ochar *pcharHost, zortask *ptaskSelect)
{
  zorwrite *pwrite = static_cast<zorwrite *>(_writeAlloc(sizeof(zorwrite)));
  int iKind = static_cast<int>(ulType & ZORWRITE_KIND_MASK);
  if (iKind != ZORWRITE_SYNC && iKind != ZORWRITE_ASYNC && iKind != ZORWRITE_LOB) {
    ulType = (ulType & ~ZORWRITE_KIND_MASK) | ZORWRITE_SYNC;
    iKind = ZORWRITE_SYNC;
  }
  pwrite->ulType = ulType;
  pwrite->iPartition = iPartition;
  pwrite->pcharHost = pcharHost;
  pwrite->ptaskSelect = ptaskSelect;
  pwrite->iSequence = -1;
  pwrite->iFdLock = -1;
  pwrite->iFilesPerName = ZORWRITE_FILES_PER_NAME;
  pwrite->pcharQualifier = _writeTextAtom(ptaskSelect, TOKEN_TBQUALIFIER);
  pwrite->pcharTable = _writeTextAtom(ptaskSelect, TOKEN_TBNAME);

  zoratom *patom = zortaskDetermineAtom(ptaskSelect, gapnameTotalToken[TOKEN_MAXROWS]);
  pwrite->llMaxRows = (patom != nullptr && patom->iKind == ZORATOM_INTEGER) ? patom->value.iValue : -1;
  pwrite->llSizeLimit = _writeSizeAtom(ptaskSelect, TOKEN_SIZELIMIT);
  pwrite->llFileMaxSize = _writeSizeAtom(ptaskSelect, TOKEN_FILEMAXSIZE);
  if (pwrite->llMaxRows < 0) pwrite->llMaxRows = -1;
  if (pwrite->llSizeLimit < 0) pwrite->llSizeLimit = -1;
  if (pwrite->llFileMaxSize < 0) pwrite->llFileMaxSize = -1;
  if (pout == nullptr && iKind != ZORWRITE_LOB && pwrite->llFileMaxSize >= 0) {
    /* one stream has no files to rotate into */
    omsgsTrace("writeCreate: FILEMAXSIZE ignored on standard output\n");
    pwrite->llFileMaxSize = -1;
  }
  pwrite->iLimited = (pwrite->llMaxRows >= 0 || pwrite->llSizeLimit >= 0 || pwrite->llFileMaxSize >= 0) ? 1 : 0;

  if (ilCapacity <= 0) {
    int32_t *pilSize = static_cast<int32_t *>(configUseItem(CONFIG_ITEM_BUFSIZE, 1));
    ilCapacity = (pilSize != nullptr && *pilSize > 0) ? *pilSize : ZORWRITE_DEFAULT_BUFSIZE;
    std::free(pilSize);
  }
  if (pwrite->llFileMaxSize > 0 && ilCapacity > pwrite->llFileMaxSize)
    ilCapacity = static_cast<int32_t>(pwrite->llFileMaxSize);

  switch (iKind) {
  case ZORWRITE_ASYNC:
    pwrite->iBuffCount = 2;
    pwrite->pchaineFull = ochaineCreate(0, nullptr, zorwriteBuffDestroy);
    pwrite->pchaineFree = ochaineCreate(0, nullptr, zorwriteBuffDestroy);
    if (pwrite->pchaineFull == nullptr || pwrite->pchaineFree == nullptr) _writeNoMemory();
    for (int i = 0; i < pwrite->iBuffCount; i++) ochaineAppend(pwrite->pchaineFree, _writeBuffCreate(ilCapacity));
    pthread_mutex_init(&pwrite->mutexFull, nullptr);
    pthread_cond_init(&pwrite->condFull, nullptr);
    pthread_mutex_init(&pwrite->mutexFree, nullptr);
    pthread_cond_init(&pwrite->condFree, nullptr);
    pwrite->procWrite = pwrite->iLimited ? _writeWriteAsyncFileLimited : _writeWriteAsyncFile;
    pwrite->procOpen = _writeOpenFile;
    pwrite->poutFile = pout;
    break;
  case ZORWRITE_LOB:
    pwrite->iBuffCount = 1;
    pwrite->ulType |= ZORWRITE_LOBFILE;
    pwrite->pbuffCurrent = _writeBuffCreate(ilCapacity);
    _writeCreateLob(pwrite, ptaskSelect);
    pwrite->procWrite = _writeWriteFileLimited;
    pwrite->procOpen = _writeOpenFileLob;
    break;
  default:
    pwrite->iBuffCount = 1;
    pwrite->pbuffCurrent = _writeBuffCreate(ilCapacity);
    pwrite->procWrite = pwrite->iLimited ? _writeWriteFileLimited : _writeWriteFile;
    pwrite->procOpen = _writeOpenFile;
    pwrite->poutFile = pout;
    break;
  }
  omsgsTrace("writeCreate type 0x%x partition %d capacity %d maxrows %lld sizelimit %lld filemaxsize %lld\n",
             pwrite->ulType, iPartition, ilCapacity, static_cast<long long>(pwrite->llMaxRows),
             static_cast<long long>(pwrite->llSizeLimit), static_cast<long long>(pwrite->llFileMaxSize));
  return pwrite;
}

/* ------------------------------------------------------------- interface */

int writeOpen(zorwrite *pwrite)
{
  if (pwrite == nullptr) return ORC_INVALID;
  if (pwrite->boThread) return ORC_INVALID;   /* the thread owns the file now */
  return _writeFail(pwrite, pwrite->procOpen(pwrite));
}

int writeSetFileHeader(zorwrite *pwrite, const void *pData, int32_t ilLength)
{
  if (pwrite == nullptr || _writeIsLob(pwrite) || ilLength < 0 || (pData == nullptr && ilLength > 0) ||
      pwrite->llRowsTotal > 0)
    return ORC_INVALID;
  std::free(pwrite->pcFileHeader);
  pwrite->pcFileHeader = nullptr;
  pwrite->ilFileHeader = 0;
  if (ilLength > 0) {
    pwrite->pcFileHeader = static_cast<char *>(_writeAlloc(static_cast<size_t>(ilLength)));
    std::memcpy(pwrite->pcFileHeader, pData, static_cast<size_t>(ilLength));
    pwrite->ilFileHeader = ilLength;
  }
  pwrite->boHeaderDue = 1;
  return 0;
}

void writeAddToCount(zorwrite *pwrite, int iCount)
{
  if (pwrite == nullptr) return;
  pwrite->llRowsTotal += iCount;
  pwrite->llRowsInFile += iCount;
  if (pwrite->llRowsTotal < 0) pwrite->llRowsTotal = 0;
  if (pwrite->llRowsInFile < 0) pwrite->llRowsInFile = 0;
}

int writeDeclareWrite(zorwrite *pwrite, int64_t llLength)
{
  if (pwrite == nullptr || llLength < 0 || !_writeIsLob(pwrite)) return ORC_INVALID;
  if (pwrite->iRcFailure != 0) return pwrite->iRcFailure;
  /* without location specifiers every LOB has a file of its own, an empty LOB too:
     the row can only name the file */
  bool boOwnFile = !(pwrite->ulType & ZORWRITE_LLS) && pwrite->iFd != 0;
  if (boOwnFile || (pwrite->llFileMaxSize >= 0 && pwrite->llBytesInFile + llLength > pwrite->llFileMaxSize)) {
    int iRc = writeFlush(pwrite);
    if (iRc != 0) return iRc;
    writeClose(pwrite);
    if (pwrite->iRcFailure != 0) return pwrite->iRcFailure;
    iRc = _writeEnsureOpen(pwrite);
    if (iRc != 0) return iRc;
  }
  return _writeEnsureOpen(pwrite);
}

int writeFlush(zorwrite *pwrite)
{
  if (pwrite == nullptr) return ORC_INVALID;
  if (pwrite->iRcFailure != 0) return pwrite->iRcFailure;
  /* a file without rows still gets its header */
  int iRcHeader = _writePlaceHeader(pwrite);
  if (iRcHeader != 0) return iRcHeader;
  if (_writeKind(pwrite) == ZORWRITE_ASYNC) {
    if (pwrite->pbuffCurrent != nullptr && pwrite->pbuffCurrent->ilUsed > 0) _writeHandOver(pwrite);
    int iWanted = pwrite->iBuffCount - (pwrite->pbuffCurrent != nullptr ? 1 : 0);
    return _writeWaitFree(pwrite, iWanted);
  }
  zorwriteBuff *pbuff = pwrite->pbuffCurrent;
  if (_writeIsLob(pwrite) && pwrite->llBytesInFile <= 0) return 0;
  int iRc = _writeEnsureOpen(pwrite);
  if (iRc != 0) return iRc;
  iRc = _writeBytes(pwrite, pbuff->pcData, pbuff->ilUsed);
  if (iRc != 0) return _writeFail(pwrite, iRc);
  /* written bytes leave the buffer: a later flush must not write them again */
  pbuff->ilUsed = 0;
  return 0;
}

/* ZORU410I for one data file and the rows written into it.  Returns the message call's result. */
static int _writeReportFile(const zorwrite *pwrite, const char *pcFile, int64_t llRows)
{
  const ochar *pcharQ = pwrite->pcharQualifier;
  const ochar *pcharT = pwrite->pcharTable;
  return omsgsFMTEDO(ZORU410I, static_cast<long>(llRows),
                     pwrite->pcharHost != nullptr && pwrite->pcharHost->pcData != nullptr ? _charText(pwrite->pcharHost) : "",
                     pcharQ != nullptr ? static_cast<int>(pcharQ->ilBU) : 2, pcharQ != nullptr ? _charText(pcharQ) : "\"\"",
                     pcharT != nullptr ? static_cast<int>(pcharT->ilBU) : 0, pcharT != nullptr ? _charText(pcharT) : "",
                     pcFile != nullptr ? pcFile : "");
}

int writeClose(zorwrite *pwrite)
{
  if (pwrite == nullptr) return ORC_INVALID;
  if (_writeKind(pwrite) == ZORWRITE_ASYNC) _writeStopThread(pwrite);
  _writeFail(pwrite, _writeCloseFd(pwrite));
  if (_writeKind(pwrite) != ZORWRITE_ASYNC) {
    pwrite->llBytesInFile = 0;
    if (pwrite->pbuffCurrent != nullptr) pwrite->pbuffCurrent->ilUsed = 0;
  }
  /* each file with its own rows: the ones the thread closed whole (also when a later
     one failed, as the synchronous writer reports each file when it closes it), then
     the last one */
  for (int32_t i = 0; i < pwrite->iClosed; i++) {
    _writeReportFile(pwrite, pwrite->aclosed[i].pcName, pwrite->aclosed[i].llRows);
    std::free(pwrite->aclosed[i].pcName);
  }
  pwrite->iClosed = 0;
  if (pwrite->iRcFailure != 0) return pwrite->iRcFailure;
  if (_writeIsLob(pwrite)) return 0;
  return _writeReportFile(pwrite, pwrite->pcFileName, pwrite->llRowsInFile);
}

void writeDestroy(zorwrite *pwrite)
{
  if (pwrite == nullptr) return;
  if (_writeKind(pwrite) == ZORWRITE_ASYNC) {
    _writeStopThread(pwrite);
    ochaineDestroy(pwrite->pchaineFull);
    ochaineDestroy(pwrite->pchaineFree);
    pthread_mutex_destroy(&pwrite->mutexFull);
    pthread_cond_destroy(&pwrite->condFull);
    pthread_mutex_destroy(&pwrite->mutexFree);
    pthread_cond_destroy(&pwrite->condFree);
  }
  if (pwrite->iFd > 1) close(pwrite->iFd);
  if (pwrite->iFdLock >= 0) close(pwrite->iFdLock);
  zorwriteBuffDestroy(nullptr, pwrite->pbuffCurrent);
  std::free(pwrite->ppcharLobFiles);
  std::free(pwrite->ppcharLobDirs);
  ocharDestroy(pwrite->pcharLobName);
  std::free(pwrite->pcFileName);
  std::free(pwrite->pcFileHeader);
  for (int32_t i = 0; i < pwrite->iClosed; i++) std::free(pwrite->aclosed[i].pcName);
  std::free(pwrite->aclosed);
  std::free(pwrite);
}

/* ------------------------------------------------------------- locks */

int writeLockStdout(void)
{
  /* a descriptor of its own: the processes of a run share the one of their
     standard output, and a lock on a shared descriptor keeps nobody out */
  int iFd = open("/proc/self/fd/1", O_WRONLY | O_CLOEXEC);
  if (iFd < 0) {
    omsgsTrace("standard output written without a lock: %s\n", std::strerror(errno));
    return -1;
  }
  while (flock(iFd, LOCK_EX) != 0) {
    if (errno == EINTR) continue;
    omsgsTrace("standard output written without a lock: %s\n", std::strerror(errno));
    close(iFd);
    return -1;
  }
  return iFd;
}

int writeLockPath(const char *pcName, int *piRc)
{
  *piRc = 0;
  if (pcName == nullptr) return -1;
  int iFd = open(pcName, O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (iFd < 0) {
    *piRc = _writeReportErrno(pcName, errno);
    return -1;
  }
  struct stat st;
  if (fstat(iFd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(iFd);
    return -1;
  }
  if (flock(iFd, LOCK_EX | LOCK_NB) != 0) {
    int iErrno = errno;
    close(iFd);
    if (iErrno == EWOULDBLOCK) {
      omsgsFMTEDO(ZORU490E, pcName);
      *piRc = ZORWRITE_RC_INUSE;
    } else {
      omsgsTrace("%s written without a lock: %s\n", pcName, std::strerror(iErrno));
    }
    return -1;
  }
  return iFd;
}
