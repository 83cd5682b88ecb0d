/*
** zor3write.h
**   The writer: puts converted rows into an output file (or standard output)
**   and LOB data into LOB files.  A writer gathers rows in a buffer and
**   writes whole buffers, either itself (synchronous, kind 1) or through a
**   writing thread fed by two buffers that circulate between a free queue
**   and a full queue (kind 2).  A LOB-file writer (kind 4) writes LOB bytes
**   into numbered LOB files.  It counts rows and bytes, stops at MAXROWS and
**   SIZELIMIT by returning ZORWRITE_RC_LIMIT, moves on to the next file at
**   FILEMAXSIZE, and reports each data file it closes with ZORU410I: the
**   file's name and the rows written into that file.
**   The row that reaches MAXROWS or SIZELIMIT is written; every later row
**   is refused with ZORWRITE_RC_LIMIT.
**
**   Call order of an owner: writeCreate, writeOpen, any number of calls of
**   the write operation (pwrite->procWrite, and writeDeclareWrite before
**   each LOB of a LOB-file writer), writeFlush, writeClose, writeDestroy.
**   A LOB-file writer needs no writeOpen: its first declaration opens the
**   first LOB file.
**
**   Output and LOB files are created mode 0644 under the effective
**   identity.  A failed open or write is reported with ZORU347E and returns
**   TOOLS_RC_IO | errno; the failure sticks to the writer, so every later
**   write, flush and close returns it, and ZORU410I is then not issued.
**
**   Locks: a writer holds an exclusive lock (flock) on every data and LOB
**   file (a regular file: not a device or a FIFO) while it has it open,
**   taken before a REPLACE file is emptied.  A file another process holds
**   locked is neither emptied nor written: the open fails with
**   ZORWRITE_RC_INUSE after ZORU490E naming the file.  A
**   writer on standard output waits for the lock on it instead (taken
**   through a descriptor of its own), so that the SELECTs of a run that
**   write standard output write it one after the other, never row into row.
**
**   File header: a writer may be given bytes that begin every data file it
**   writes (the IXF header, so that each file of a rotated output is a
**   complete IXF file).  The header is no row; it counts in the file's bytes
**   (FILEMAXSIZE, SIZELIMIT), and a file is rotated only once it holds a
**   row after it.  A writer on standard output does not rotate: its
**   FILEMAXSIZE is ignored.
**
**   Data files: the first file keeps the output item's name (per partition
**   writer: "_<partition>" before the extension); the files opened when
**   FILEMAXSIZE is reached replace the extension by ".001", ".002" ...
**   LOB files: "<dir>/<name>_<ppp>.<sss>" with a partition, else
**   "<dir>/<name>.<sss>" (no directory: the name alone), sequence 1 to 999
**   per name, then the next LOBFILE name, then the next LOB directory.
**   When every name has been used once the writer refuses to go on rather
**   than overwrite a LOB file it wrote (ZORU347E with EEXIST).
**
**   Threads (kind 2 only).  The owner is the producer, the writing thread
**   the consumer.  Buffers move: free queue -> owner's current buffer ->
**   full queue -> thread -> free queue.  Each queue has its own mutex and
**   condition; each side holds one mutex at a time and the owner never
**   touches a buffer it handed over.
**     1. writeOpen opens the first file, then starts the thread.
**     2. The thread takes buffers from the full queue in order; it opens a
**        file when none is open, writes the buffer, closes the file after a
**        buffer marked close-after (FILEMAXSIZE), and returns the buffer to
**        the free queue.
**     3. A failed open or write makes the thread record the code and drop
**        the buffers that follow (still returning them), so the owner never
**        waits for ever; the owner gets the code at its next hand-over,
**        flush or close.
**     4. writeClose sets the stop request; the thread writes what is queued
**        and ends; writeClose joins it.
**     5. writeBlock writes a large block from the owner's thread: it hands
**        the owner's buffer over and waits until the thread has given every
**        buffer back, then writes the block itself.
**   Invariants: only the side that holds a buffer handed over (the thread)
**   or, while the thread holds none, the owner touches the file descriptor,
**   the file name and the file sequence; writeFlush returns only once every
**   buffer handed over has been written (or dropped after a failure).
**
**   A writer is used by one process (it may be made before the fork that
**   gives it to that process, but its thread starts only at writeOpen).
*/
#ifndef ZAV_IO_ZOR3WRITE_H
#define ZAV_IO_ZOR3WRITE_H

#include <pthread.h>

#include <cstdint>

#include "common/oreason.h"

struct ochar;
struct ochaine;
struct udbOutFile;
struct zortask;

/* Reason codes (module 0x10f). */
#define ZORWRITE_RC_LIMIT   ORC_MAKE(0x10f, 0, 1)   /* 0x10f8001 MAXROWS or SIZELIMIT reached */
#define ZORWRITE_RC_NOBUFF  ORC_MAKE(0x10f, 4, 1)   /* 0x10fc001 no buffer from the free queue */
#define ZORWRITE_RC_INUSE   ORC_MAKE(0x10f, 2, 0xe6) /* 0x10fa0e6 another process writes the file */

/* Type word: kind in the low byte, plus two flags. */
#define ZORWRITE_SYNC       0x1u       /* synchronous file writer */
#define ZORWRITE_ASYNC      0x2u       /* file writer with a writing thread */
#define ZORWRITE_LOB        0x4u       /* LOB-file writer */
#define ZORWRITE_KIND_MASK  0xFFu
#define ZORWRITE_LOBFILE    0x20000u   /* LOB file (set on every kind-4 writer) */
#define ZORWRITE_LLS        0x40000u   /* LOB location specifiers wanted */

/* Buffer capacity when the configuration gives none. */
#define ZORWRITE_DEFAULT_BUFSIZE 8388608
/* FILEMAXSIZE of a LOB-file writer with location specifiers. */
#define ZORWRITE_LLS_FILEMAXSIZE 2147483647LL
/* LOB files per LOBFILE name. */
#define ZORWRITE_FILES_PER_NAME 999
/* Initial capacity of the LOB file name string. */
#define ZORWRITE_LOBNAME_CAPACITY 200

struct zorwrite;

/* Write operation: one row (or LOB piece) of ilLength bytes.  Returns 0,
** ZORWRITE_RC_LIMIT, ZORWRITE_RC_NOBUFF, or an open or write failure code. */
typedef int (*zorwriteWriteProc)(zorwrite *pwrite, const void *pData, int32_t ilLength);
/* Open operation: opens the next file.  Returns 0 or a failure code. */
typedef int (*zorwriteOpenProc)(zorwrite *pwrite);

/* One buffer; an item of the free and full queues (chain links first). */
struct zorwriteBuff {
  zorwriteBuff *pbuffNext;      /* chain links */
  zorwriteBuff *pbuffPrev;
  int32_t ilCapacity;           /* bytes of pcData */
  int32_t ilUsed;               /* bytes held */
  int32_t iCloseAfter;          /* the thread closes the file after writing this buffer */
  char *pcData;
  int64_t llRowsOfFile;         /* close-after: rows of the file it closes */
};

/* A data file a writing thread has closed at FILEMAXSIZE, for its ZORU410I. */
struct zorwriteClosed {
  char *pcName;                 /* owned */
  int64_t llRows;
};

struct zorwrite {
  uint32_t ulType;              /* ZORWRITE_SYNC/ASYNC/LOB | ZORWRITE_LOBFILE | ZORWRITE_LLS */
  int32_t iPartition;           /* -1: none */
  int64_t llRowsTotal;          /* rows written in total */
  int64_t llRowsInFile;         /* rows written into the current file */
  int64_t llBytesInFile;        /* bytes put into the current file (counted when placed in
                                   the buffer); for a LOB-file writer the offset at which
                                   the next LOB starts in the current LOB file */
  int32_t iLimited;             /* 1 when a limit is set */
  int64_t llMaxRows;            /* MAXROWS, -1: none */
  int64_t llSizeLimit;          /* SIZELIMIT in bytes, -1: none */
  int64_t llFileMaxSize;        /* FILEMAXSIZE in bytes, -1: none; LOB writer 0 (one LOB per
                                   file) or ZORWRITE_LLS_FILEMAXSIZE */
  int32_t iBuffCount;           /* 2 for kind 2, else 1 */
  ochar *pcharHost;             /* host name for ZORU410I (borrowed, may be NULL) */
  ochar *pcharQualifier;        /* TBQUALIFIER (borrowed from the task, may be NULL) */
  ochar *pcharTable;            /* TBNAME (borrowed from the task, may be NULL) */
  zortask *ptaskSelect;         /* the SELECT task */
  zorwriteBuff *pbuffCurrent;   /* the owner's buffer; NULL (kind 2) while waiting for one */
  udbOutFile *poutFile;         /* output item (borrowed); NULL: standard output */
  int32_t iLobFileCount;        /* kind 4: number of LOBFILE names */
  ochar **ppcharLobFiles;       /* kind 4: the LOBFILE names (borrowed strings) */
  int32_t iLobDirCount;         /* kind 4: LOB directories for this partition */
  ochar **ppcharLobDirs;        /* kind 4: their paths (borrowed strings) */
  int32_t iLobFileIndex;        /* kind 4: current name */
  int32_t iLobDirIndex;         /* kind 4: current directory */
  ochar *pcharLobName;          /* kind 4: LOB file name in use, NUL-terminated ("" before
                                   the first LOB file) */
  int iFd;                      /* 0: no file open, 1: standard output */
  int iFdLock;                  /* descriptor holding the lock on standard output, -1: none */
  char *pcFileName;             /* name of the file in use ("stdout"), NULL before the first */
  zorwriteWriteProc procWrite;  /* write operation */
  zorwriteOpenProc procOpen;    /* open operation */
  int32_t iSequence;            /* file sequence, -1 at first */
  int32_t iFilesPerName;        /* LOB files per LOBFILE name (999) */
  int64_t llLobFilesOpened;     /* kind 4: LOB files opened so far */
  char *pcFileHeader;           /* bytes that begin every data file (owned), NULL: none */
  int32_t ilFileHeader;         /* their length */
  int boHeaderDue;              /* the current file still lacks its header */
  int iRcFailure;               /* first open or write failure of the owner's side, sticky */
  int boThread;                 /* the writing thread runs */
  pthread_t threadWriter;       /* the writing thread */
  int boStop;                   /* stop request for the thread (under mutexFull) */
  int iRcThread;                /* first failure of the thread (under mutexFree) */
  ochaine *pchaineFull;         /* buffers to write */
  pthread_mutex_t mutexFull;
  pthread_cond_t condFull;
  ochaine *pchaineFree;         /* buffers ready for the owner */
  pthread_mutex_t mutexFree;
  pthread_cond_t condFree;
  zorwriteClosed *aclosed;      /* kind 2: files the thread closed, not yet reported (the
                                   thread appends; the owner reads them once it is joined) */
  int32_t iClosed;
};

/*
** writeCreate
**   Makes a writer of the kind in the low byte of ulType (1, 2 or 4; for 4
**   the caller may add ZORWRITE_LLS) for partition iPartition (-1: none),
**   writing to the output item pout (NULL: standard output; ignored for
**   kind 4), with buffers of ilCapacity bytes (0: the configuration's
**   bufsize, else 8388608; lowered to FILEMAXSIZE when that is smaller).
**   Reads TBQUALIFIER, TBNAME, MAXROWS, SIZELIMIT, FILEMAXSIZE and for kind
**   4 LOB, LOBFILE and LLS from ptaskSelect and its owners.  pcharHost,
**   pout and the task's strings are borrowed: they must outlive the writer.
**   A kind-4 writer makes location specifiers when ulType has ZORWRITE_LLS
**   or the task's LLS is 1, and then carries ZORWRITE_LLS.
**   Returns the writer; the process exits when memory runs out.
*/
zorwrite *writeCreate(uint32_t ulType, int32_t iPartition, udbOutFile *pout, int32_t ilCapacity,
                      ochar *pcharHost, zortask *ptaskSelect);

/*
** writeOpen
**   Calls the open operation: opens the first data file (kind 2 then starts
**   its writing thread), or the next LOB file.
**   Returns 0, or TOOLS_RC_IO | errno after ZORU347E, or ORC_NOMEM when the
**   thread cannot be started.
*/
int writeOpen(zorwrite *pwrite);

/*
** writeSetFileHeader
**   Gives a data-file writer the ilLength bytes at pData as the header of
**   every data file it writes (copied).  Call it before the first row: the
**   header goes in front of the first row, or is written alone by
**   writeFlush when no row comes, and again at the start of each file that
**   FILEMAXSIZE opens.
**   Returns 0, or ORC_INVALID for a LOB-file writer, a writer that has
**   written rows, or a negative length.
*/
int writeSetFileHeader(zorwrite *pwrite, const void *pData, int32_t ilLength);

/*
** writeBlock
**   Writes llRows rows that lie one after the other in llLength bytes at
**   pData, as llRows calls of the write operation would, for a data-file
**   writer without MAXROWS, SIZELIMIT and FILEMAXSIZE (writeTakesBlocks).
**   A block of ZORWRITE_BLOCK_DIRECT bytes or more goes to the file from
**   the caller's memory once what the writer holds is written; a smaller
**   one is put into the buffer.
**   Returns 0, the open, write or buffer failure code (sticky as for the
**   write operation), or ORC_INVALID for another writer or a negative size.
*/
#define ZORWRITE_BLOCK_DIRECT (64 * 1024)
int writeBlock(zorwrite *pwrite, const void *pData, int64_t llLength, int64_t llRows);

/* writeTakesBlocks: true for a data-file writer without MAXROWS, SIZELIMIT and FILEMAXSIZE. */
bool writeTakesBlocks(const zorwrite *pwrite);

/*
** writeAddToCount
**   Adds iCount to the total and current-file row counts (the writer
**   process takes its IXF header back with -1); a count never goes below 0.
*/
void writeAddToCount(zorwrite *pwrite, int iCount);

/*
** writeDeclareWrite
**   Called before a LOB of llLength bytes is written through a LOB-file
**   writer: moves on to the next LOB file when this LOB would take the
**   current one past FILEMAXSIZE, or, without location specifiers, for
**   every LOB after the first (an empty LOB too: no two LOBs are named by
**   one file), and opens the first LOB file when none has been opened.  The LOB then
**   starts at llBytesInFile of the file named by pcharLobName.
**   Returns 0, the flush or open failure code, or ORC_INVALID for a writer
**   that is not a LOB-file writer.
*/
int writeDeclareWrite(zorwrite *pwrite, int64_t llLength);

/*
** writeFlush
**   Writes out what the buffer holds.  Kind 1 (and kind 4 when its file
**   holds bytes): opens the file when none is open and writes the buffer.
**   Kind 2: hands the current buffer to the writing thread and waits until
**   every buffer handed over has been written, then takes a free one.
**   Returns 0, ZORWRITE_RC_NOBUFF (kind 2 without a running thread while
**   rows are pending), or the open or write failure code.
*/
int writeFlush(zorwrite *pwrite);

/*
** writeClose
**   Kind 2: stops and joins the writing thread.  Closes the file (never
**   standard output) and marks no file open; kinds 1 and 4 also empty the
**   buffer and restart the file's byte count.  Except for LOB-file writers,
**   issues ZORU410I for each data file not reported yet, in the order they
**   were written, with its name and the rows written into it (a threaded
**   writer reports the files its thread closed at FILEMAXSIZE here; a
**   synchronous writer reports each one as it closes it).
**   Returns the result of the message call (0 or 1), 0 for a LOB-file
**   writer, or the writer's open, write or close failure code (then without
**   ZORU410I).
*/
int writeClose(zorwrite *pwrite);

/*
** writeDestroy
**   Stops and joins a thread still running, closes a file still open,
**   frees the queues with their buffers, the mutexes and conditions, the
**   current buffer, the names and the writer.  NULL is ignored.
*/
void writeDestroy(zorwrite *pwrite);

/*
** writeOpenLocked
**   Opens the output or LOB file pcName for writing as the writers do:
**   created mode 0644 when missing, appended to with boAppend, else emptied
**   once the exclusive lock on it is held (a regular file only); the lock
**   lasts as long as the descriptor stays open.  For the writers of LOB
**   files that are not made through a zorwrite (the forked reader's LOB
**   child).
**   Returns the descriptor, or -1 with *piRc: ZORWRITE_RC_INUSE after
**   ZORU490E when another process holds the lock, TOOLS_RC_IO | errno after
**   ZORU347E when the file cannot be opened or emptied.
*/
int writeOpenLocked(const char *pcName, bool boAppend, int *piRc);

/*
** writeLockStdout
**   Waits for the exclusive lock on what standard output writes to, taken
**   through a descriptor of its own.  Returns that descriptor (closing it
**   gives the lock up), or -1 when standard output cannot be locked (a
**   socket, no /proc): it is then written without the lock.
*/
int writeLockStdout(void);

/*
** writeLockPath
**   Takes the writers' exclusive lock on the file pcName (created mode 0644
**   when missing, its content left as it is) for a file that another part
**   of the system writes by name (the export API).  Returns the descriptor
**   holding the lock (close it to give the lock up); -1 with *piRc 0 when
**   pcName is no regular file or the file system takes no lock; -1 with
**   *piRc ZORWRITE_RC_INUSE after
**   ZORU490E when another process holds it, or TOOLS_RC_IO | errno after
**   ZORU347E when the file cannot be opened.
*/
int writeLockPath(const char *pcName, int *piRc);

/* zorwriteBuffDestroy: frees the buffer's data and the buffer (chain destroy
** callback; pchaine is unused and may be NULL). */
void zorwriteBuffDestroy(ochaine *pchaine, void *pitem);

#endif
