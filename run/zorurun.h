/*
** zorurun.h
**   The run step: turns a checked request tree into running processes.  The
**   main process calls zorurunRun once, after the control step returned 0
**   and its DB2 connection was closed.  For every SELECT of every UNLOAD the
**   run step prepares the SELECT in the main process (work items per
**   partition, table descriptions, row converter, WHERE variables), forks one
**   SELECT child (at most MAXTASK direct children at a time), reads the
**   child's select status stream, forks one remote-run child per remote host
**   the child reported (originating run only), reaps every child and makes
**   the result: the worst code (oreasonWorse: highest severity, the first
**   met on a tie) among launch codes and the codes of reaped children.
**
**   A child's code.  Every child ends through _zorurunExitChild, which
**   writes (pid, full reason code) on its parent context's result pipe and
**   exits with oreasonExitStatus(code), never 0 after a failure.  The parent
**   reads the pipe when it reaps a child and takes the code written for that
**   pid; a child that wrote none but exited with byte b != 0 gives
**   ZORURUN_RC_CHILD | b, or the warning whose exit status b is.  Both ends are non-blocking and close on exec: a
**   full pipe loses only the record, never the exit byte.
**
**   This header also carries the records shared with the SELECT child
**   (readers, writers, pairs, launch block), the DB2 SELECT child and the
**   partition read driver, which are built in their own files of this
**   folder (zorurunsel, zorurundb2, zor3unload).
**
**   Process tree (design note).
**     main --fork--> SELECT child --status stream--> main (before it forks)
**                    SELECT child --fork--> readers, then writers
**     main --fork--> remote-run child (one per remote host, LOCAL NO only)
**   A direct child counts in tasks launched/running with the number of
**   processes it reported (1 for every child that reports no task count)
**   until _zorurunWaitTasks reaps it.  Children are forked through
**   osignalFork: a SIGINT, SIGTERM or SIGHUP the main process or a SELECT
**   child catches is sent on to its children at once, nothing more is
**   launched, every child is reaped, and the process ends with
**   osignalReason() (common/osignal.h) unless every child had done its
**   work by then.  Invariants: directs running <= the
**   child table's capacity (the table grows for remote-run children);
**   ZORU368E and 0x10da004 at most once per run context.
**
**   Remote state of a partition: 0 -> 1 (first partition of its host marked
**   by a SELECT child) or 2 (its host already has a partition in state 1 or
**   3) -> 3 (the main process launched the host, or the host was covered).
**   States reach the main process only through the status stream.
**
**   Select status stream (ovf records, native 32-bit integers):
**     task count (direct-read SELECT child only), remote count n, then for
**     every partition index (ascending) in state 1 or 2: index, state; then
**     the ovf end record.  The channel is made by the main process with
**     ovfCreate(ZORURUN_STATUS_LEN, 1) before the fork.
*/
#ifndef ZAV_RUN_ZORURUN_H
#define ZAV_RUN_ZORURUN_H

#include <climits>
#include <cstdint>
#include <sys/types.h>

#include "common/oreason.h"

struct olist;
struct ochar;
struct ovf;
struct ovfgroup;
struct zorcontrol;
struct zortask;
struct zorwrite;
struct zornode;
struct zornodeEvalContext;
struct unload;
struct part;
struct ficcont;
struct zoratom;
struct db2utilNode;

/* Reason codes of the run step (module 0x10d). */
#define ZORURUN_RC_FORK        0x10da001  /* a fork failed */
#define ZORURUN_RC_TABLEDESC   0x10da002  /* a table description could not be read */
#define ZORURUN_RC_READ        0x10da003  /* a partition read failed */
#define ZORURUN_RC_SIGNAL      0x10da004  /* a child ended by a signal */
#define ZORURUN_RC_SAVEFILE    0x10da005  /* the control file could not be saved remotely */
#define ZORURUN_RC_CONVERTER   0x10da006  /* the row converter could not be made */
#define ZORURUN_RC_NOPART      0x10da007  /* no partition to unload */
#define ZORURUN_RC_LISTS       0x10da008  /* reader, writer and pair lists not made */
#define ZORURUN_RC_DB2WRITERS  0x10da009  /* the DB2 writers could not be made */
#define ZORURUN_RC_STATUS      0x10da00a  /* the status channel could not be made */
#define ZORURUN_RC_NOMEM       0x10da00b  /* out of memory */
#define ZORURUN_RC_REMOTE      0x10da00d  /* the daemon of another host failed a partition's run or did not answer (ZORU450E) */
/* The warnings a run ends with: exit statuses 240 to 243, which mean these
   warnings only (see ORC_RUN_WARNING). */
#define ZORURUN_RC_ROWSLOST    ORC_RUN_WARNING(0x10d, 0x0f0)  /* 0x10d90f0 rows no converter could write were left out (ZORU461W) */
#define ZORURUN_RC_LOBCUT      ORC_RUN_WARNING(0x10d, 0x0f1)  /* 0x10d90f1 LOB or long values were cut to 32,700 bytes (ZORU462W) */
#define ZORURUN_RC_DAMAGED     ORC_RUN_WARNING(0x10d, 0x0f2)  /* 0x10d90f2 damaged records were skipped (ZORU453W, ZORU454W, ZORU451W) */
#define ZORURUN_RC_REPLACED    ORC_RUN_WARNING(0x10d, 0x0f3)  /* 0x10d90f3 characters were replaced by the substitution character (ZORU480W) */
#define ZORURUN_RC_CHILD       0x10da100  /* | exit byte: a child failed without reporting its code */
#define ZORURUN_RC_REMOTERUN   0x10da200  /* | exit byte: a partition's run on another host ended with that status (ZORU496E) */

/* Bytes of an inline LOB or long-field value: longer values are cut. */
#define ZORURUN_INLINE_MAX 32700

/* Packed LOCAL keyword values. */
#define ZORURUN_LOCAL_NO  0xD5D6
#define ZORURUN_LOCAL_YES 0xE8C5E2

/* Remote state of a partition index. */
#define ZORURUN_REMOTE_NONE    0  /* nothing to do */
#define ZORURUN_REMOTE_LAUNCH  1  /* a remote run must be launched for its host */
#define ZORURUN_REMOTE_TAKEN   2  /* its host is already taken by another partition */
#define ZORURUN_REMOTE_DONE    3  /* launched or covered */

/* Length asked of ovfCreate for a status channel. */
#define ZORURUN_STATUS_LEN 40

/* SELECT task flags set by the preparation. */
#define ZORURUN_SELFLAG_LONG 0x20   /* LONG VARCHAR / LONG VARGRAPHIC output columns */
#define ZORURUN_SELFLAG_LOB  0x40   /* BLOB / CLOB / DBCLOB output columns */

/* Size of the buffer for the local short host name. */
#define ZORURUN_HOST_SIZE 100

/* Reader flag: the SELECT has LOBFILE. */
#define ZORURUN_READER_LOBFILE 0x0001

struct zorurunReader;
struct zorurunWriter;

/* Record channel of a pair (bytes) with the default writer buffer: halves of 512 KB. */
#define ZORURUN_CHANNEL_MIN (1 << 20)

/* One reader-writer link of a SELECT child. */
struct zorurunPair {
  zorurunPair *ppairNext;          /* list link */
  zorurunReader *preader;
  zorurunWriter *pwriter;
  int32_t ilBufferLen;             /* max(MAXBUFFER_MAIN, 2 x maximum unload record size) */
  ovf *povf;                       /* channel; NULL once its writer stopped it */
  zornode *pnodeWhere;             /* WHERE tree of the SELECT, or NULL (borrowed) */
  zornodeEvalContext *pctxEval;    /* evaluation context, NULL without WHERE */
};

/* One reader per partition of a SELECT child. */
struct zorurunReader {
  zorurunReader *preaderNext;      /* list link */
  zorcontrol *pcontrol;
  zortask *ptaskSelect;
  unload *punload;                 /* unloadCreate(work item, SELECT task, LONGCOL) */
  int32_t ilPartition;
  int iSemId;                      /* serialization semaphore set, -1 = none */
  zorwrite *pwriteLob;             /* LOB-file writer (with LOBFILE), else NULL */
  uint32_t ulFlags;                /* ZORURUN_READER_LOBFILE */
  int32_t iPairCount;
  zorurunPair **appair;            /* the reader's pairs (owned array, borrowed pairs) */
  int64_t *pllDamaged;             /* damaged records skipped, in memory shared with the SELECT
                                      child (NULL: not counted) */
  int64_t *pllHeld;                /* 1 from the start of the reader's quiesce to the end of its
                                      reset, in memory shared with the SELECT child, which
                                      releases a quiesce its reader left held (NULL: not kept) */
};

/* One writer per output file of a SELECT child. */
struct zorurunWriter {
  zorurunWriter *pwriterNext;      /* list link */
  zorcontrol *pcontrol;
  zortask *ptaskSelect;
  zorwrite *pwrite;                /* file writer */
  int32_t iPairCount;
  zorurunPair **appair;            /* the writer's pairs (owned array, borrowed pairs) */
  ovfgroup *pgroup;                /* group of its pairs' channels */
};

/* Run context: one in the main process, one in each SELECT child. */
struct zorurun {
  olist *plistReaders;             /* zorurunReader (SELECT child only; else empty) */
  olist *plistWriters;             /* zorurunWriter (SELECT child only) */
  olist *plistPairs;               /* zorurunPair (SELECT child only) */
  zorcontrol *pcontrol;
  uint32_t ulLocal;                /* ZORURUN_LOCAL_NO / ZORURUN_LOCAL_YES */
  ochar *pcharSysin;               /* control file path, or NULL (borrowed) */
  ochar *pcharArgs;                /* arguments of a remote run, or NULL (borrowed) */
  int32_t iKillSiblings;           /* 0 main process, 1 SELECT child */
  int32_t iFirstAbnormal;          /* 1 until the first child ended by a signal was reaped */
  int32_t ilTasksLaunched;
  int32_t ilTasksEnded;
  int32_t ilTasksRunning;
  int32_t iCapacity;               /* entries of the child table */
  int32_t iDirectRunning;          /* direct children running */
  int32_t *ailTaskCount;           /* per child: processes it counts for */
  int32_t *ailPid;                 /* per child: process id (same index) */
  int32_t iPartCount;              /* entries of the node table (0 in a SELECT child) */
  ochar *pcharHost;                /* local short host name (CCSID 850), when iPartCount > 0 */
  int32_t *ailRemoteState;         /* per partition index: ZORURUN_REMOTE_* */
  const char **apcHost;            /* per partition index: host of its node entry (borrowed) */
  int aiResultPipe[2];             /* children's (pid, code) records: read end, write end; -1 none */
  int32_t *ailCode;                /* per child (same index as ailPid): code it reported,
                                      ZORURUN_NO_CODE until then */
};

/* No code reported yet by a child. */
#define ZORURUN_NO_CODE INT32_MIN

/*
** What a SELECT left out or cut, for the messages at its end.  Each process
** that writes rows (DB2 SELECT child, writer process) keeps one and hands it
** to _zorurunReportSelectEnd after its writer is closed.
*/
struct zorurunSelectCounts {
  int64_t llRowsSeen;              /* rows offered to the converter */
  int64_t llRowsNotConverted;      /* rows a converter could not write: not written */
  int64_t llFirstNotConverted;     /* 1-based position among the rows seen of the first of them */
  int64_t llValuesCut;             /* inline LOB / long-field values cut to ZORURUN_INLINE_MAX bytes */
  int64_t llFirstCut;              /* 1-based position of the first row with a cut value */
  int64_t llReplaced;              /* characters replaced by the output code page's substitution
                                      character (zorucoreReplacedCount) */
  int64_t llFirstReplaced;         /* 1-based position of the first row with one */
};

/* Launch block of a SELECT child (direct read, DB2 or export). */
struct zorurunSelectLaunch {
  zorurun *prun;                   /* the parent's run context (the child's copy) */
  zorcontrol *pcontrol;
  zortask *ptaskSelect;
  ovf *povfStatus;                 /* status channel; NULL for the export child */
  uint32_t ulFlags;                /* bit 0: a LOB-file writer was made (DB2 child) */
};

/* Launch block of a remote-run child. */
struct zorurunRemoteLaunch {
  zorurun *prun;
  zorcontrol *pcontrol;
  const char *pcHost;              /* host of the partition index */
  ochar *pcharSysin;
  ochar *pcharArgs;
};

/*
** zorurunRun
**   The run step of the main process (see the file comment).
**   Returns 0, the first non-zero launch code (ZORURUN_RC_*, a preparation
**   code) or exit byte of a reaped child, in the order met; osignalReason()
**   when a caught signal stopped a SELECT or kept one from starting (the
**   children were then all reaped).
*/
int zorurunRun(zorcontrol *pcontrol);

/*
** _zorurunCreate
**   Makes a run context with empty lists.  iCapacity 0 takes MAXTASK (1 when
**   MAXTASK is 0 or absent).  With iPartCount > 0 and a node table: the local
**   short host name, a remote-state table of zeros and the host pointers of
**   the node entries.  Returns the context, NULL when memory runs out.
*/
zorurun *_zorurunCreate(zorcontrol *pcontrol, int32_t iCapacity, int32_t iPartCount, uint32_t ulLocal,
                        ochar *pcharSysin, ochar *pcharArgs, int32_t iKillSiblings,
                        const db2utilNode *pnodes);

/* _zorurunDestroy: frees the arrays, the host name, the lists and the
** context (list entries through their lists).  NULL is accepted. */
void _zorurunDestroy(zorurun *prun);

/*
** _zorurunAddChild
**   Records a forked direct child (pid, task count): tasks launched and
**   running grow by the count, directs running by one.  The table grows when
**   full.  Returns 0 or ORC_NOMEM (the child then is not recorded).
*/
int _zorurunAddChild(zorurun *prun, pid_t pid, int32_t ilTaskCount);

/*
** _zorurunWaitTasks
**   Reaps one child with wait().  Returns the code it reported through
**   _zorurunExitChild (when it reported none but exited non-zero: the
**   warning whose exit status that is, else ZORURUN_RC_CHILD | its exit
**   byte; 0 for exit 0) when it exited,
**   ZORURUN_RC_SIGNAL for the first child of this context that ended by a
**   signal or stopped (ZORU368E when it was killed; SIGTERM to every other
**   listed child when iKillSiblings is 1), 0 for later ones; once this
**   process caught a signal asking it to stop, osignalReason() for a child
**   a signal ended, without a message (the signal was sent on to it).  The
**   child's entry is removed.  Returns 0 at once when no child is left
**   (ECHILD).
*/
int _zorurunWaitTasks(zorurun *prun);

/*
** _zorurunExitChild
**   Ends a child forked from the context prunParent: flushes stdio, writes
**   (own pid, iRc) on the context's result pipe when iRc is not 0 and exits
**   with oreasonExitStatus(iRc).  prunParent may be NULL (exit byte only).
*/
[[noreturn]] void _zorurunExitChild(const zorurun *prunParent, int iRc);

/*
** _zorurunReportSelectEnd
**   The messages at the end of the rows of a SELECT written to pcFile:
**   ZORU461W for rows a converter could not write, ZORU462W for cut values,
**   ZORU480W for characters replaced by the substitution character.
**   Returns 0, or the worst of ZORURUN_RC_ROWSLOST, ZORURUN_RC_LOBCUT and
**   ZORURUN_RC_REPLACED that applies (warnings: the run then ends with
**   return code 4 or worse).
*/
int _zorurunReportSelectEnd(zortask *ptaskSelect, const zorurunSelectCounts *pcounts, const char *pcFile);

/*
** _zorurunMarkRemote
**   Marks a partition index for a remote run: state 0 becomes 1, or 2 when
**   another index with state 1 or 3 has the same host.  Returns 1 when the
**   state was 0 (the caller counts one remote partition), else 0.
*/
int _zorurunMarkRemote(zorurun *prun, int32_t iIndex);

/*
** _zorurunWriteStatus
**   Writes a select status stream on povf: the task count when
**   iWithTaskCount is 1, the remote count, the (index, state) pairs of the
**   indexes in state 1 or 2, the end record.  Returns 0 or the first ovfWrite
**   code.
*/
int _zorurunWriteStatus(ovf *povf, int iWithTaskCount, int32_t ilTaskCount, int32_t ilRemoteCount,
                        const zorurun *prun);

/*
** _zorurunReadStatus
**   The main side of the status stream: reads the task count when
**   iWithTaskCount is 1 (else the count is 1), the remote count, up to that
**   many (index, state) pairs into the context's remote-state table (an early
**   end record stops them) and every record up to the end record.  Sets
**   *piRemote to 1 when the remote count was above 0.  *pilTaskCount gets
**   the task count (0 when the stream ended at once).  Returns 0.
*/
int _zorurunReadStatus(zorurun *prun, ovf *povf, int iWithTaskCount, int32_t *pilTaskCount, int *piRemote);

/* Preparation in the main process: 0 or a reason code. */
int _zorurunPrepareSelect(zorcontrol *pcontrol, zortask *ptaskSelect);
int _zorurunPrepareConvert(zorcontrol *pcontrol, zortask *ptaskSelect, void *pTableDesc);
int _zorurunPrepareWhere(zorcontrol *pcontrol, zortask *ptaskSelect, void *pTableDesc);

/* _zorurunGetLongContainers: the record of CONTAINERS_LONG with the same
** partition number as pficcont, else pficcont. */
ficcont *_zorurunGetLongContainers(zoratom *patomLong, ficcont *pficcont);

/*
** _zorurunRunSelect
**   Forks a direct-read SELECT child over a new status channel and reads its
**   status stream (which ends early when the child ends before reporting,
**   or a signal stops the run).  Sets *piRemote when the child reported
**   remote partitions.  Returns 0, ZORURUN_RC_STATUS (ZORU363E) or ZORURUN_RC_FORK
**   (ZORU359E).
*/
int _zorurunRunSelect(zorurun *prun, zortask *ptaskSelect, int *piRemote);

/* _zorurunRunRemote: forks a remote-run child for the host of the
** partition index.  Returns 0 or ZORURUN_RC_FORK (ZORU359E). */
int _zorurunRunRemote(zorurun *prun, int32_t iIndex);

/* _zorurunRunRemoteChild: main of a remote-run child; returns its exit code:
** 0, ZORURUN_RC_SAVEFILE (control file missing or not saved there), or the
** run's own code from _zorurunRemoteResult. */

/* _zorurunRemoteResult: the code of a partition's run on pcHost from the
** status iSOCKETexecCmdLocal answered (-1: failed, pcErr says why). */
int _zorurunRemoteResult(const char *pcHost, int iStatus, const char *pcErr);
int _zorurunRunRemoteChild(zorurunRemoteLaunch *plaunch);

/*
** Entry points of the children, each returning the code its process exits
** with.  Test seams: tests may replace them; nullptr restores the default.
*/
typedef int (*zorurunSelectChildProc)(zorurunSelectLaunch *plaunch);
typedef int (*zorurunRemoteChildProc)(zorurunRemoteLaunch *plaunch);
void zorurunSetSelectChildProc(zorurunSelectChildProc proc);
void zorurunSetRemoteChildProc(zorurunRemoteChildProc proc);

#endif
