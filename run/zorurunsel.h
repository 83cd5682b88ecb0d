/*
** zorurunsel.h
**   Direct-read SELECT child: its readers (one process per partition), its
**   writers (one process per output file) and the pairs that link them, each
**   pair with its own shared-memory record channel (ovf).  The run step forks
**   the SELECT child; the child builds the lists, reports its process count
**   and the partitions left to remote runs on the select status stream, makes
**   the serialization semaphore, forks every reader then every writer and
**   reaps them.
**
**   Processes (design note).
**     SELECT child -> readers (forked first, in PARTS_TAKEN order) and writers.
**     Every channel, group and the semaphore exist before the first fork.
**     A reader ends when it has written the end record into all its pairs;
**     a writer ends when every pair of its group reached its end record.
**     Writer stop: the write operation returns 0x10f8001 -> ovfGroupStop ->
**     each reader's next ovfWrite on such a channel writes the end record and
**     returns 0x1a9001 -> the reader clears that pair's channel -> the writer
**     drains the group to length 0.  The same stop is used when the writer
**     cannot open its file, or when any write fails.
**     Serialization semaphore (value 1, owner and group only): P before a
**     reader's quiesce, V after its reset (or after a failed quiesce), both
**     undone by the system when the reader dies; readers of a backup never
**     take it.
**     Quiesce marks: a reader sets its word of the shared mapping below to 1
**     before its quiesce and back to 0 once it is reset (at once under LOCK
**     NO, or when the quiesce failed); once every process has ended, the
**     SELECT child releases the quiesce of every reader whose word is still
**     1 (killed, or stopped by a signal), so no table is left quiesced.
**     Counts: every reader adds the damaged records it skipped to its own
**     word of an anonymous shared mapping made before the first fork
**     (inherited by the reader's own children); the SELECT child adds them
**     up once every process has ended and reports them in one place,
**     _zorurunEndSelect.
**     Lifetime: every reader and writer is killed when the SELECT child
**     ends (parent-death signal), and the SELECT child when the main
**     process ends; the first child ending by a signal makes the SELECT
**     child end the others (SIGTERM).  A SIGINT, SIGTERM or SIGHUP the
**     SELECT child catches (common/osignal.h) is sent on to every reader
**     and writer at once; no further process is forked, every one is
**     reaped, the quiesces left are released, and the SELECT child ends
**     with osignalReason() (unless every process had done its work).
*/
#ifndef ZAV_RUN_ZORURUNSEL_H
#define ZAV_RUN_ZORURUNSEL_H

#include "run/zorurun.h"

#include <cstdint>

/*
** Partition read entry point of a reader process.  Returns 0 or non-zero
** (the reader then ends with 0x10da003).  It must write the end record into
** every pair whose channel is set.  The default is unloadTableDB2Seq;
** tests install their own with _zorurunSetReadEntry.
*/
typedef int (*zorurunReadEntry)(const char *pcInstanceUser, int32_t ilObid, zorurunReader *preader);

/* _zorurunSetReadEntry: installs the read entry (NULL: the default); returns the previous one. */
zorurunReadEntry _zorurunSetReadEntry(zorurunReadEntry pfn);

/* What a SELECT reports at its end, added up over its readers. */
struct zorurunSelectEnd {
  int64_t llDamaged;   /* damaged records and slot directories skipped */
};

/*
** _zorurunEndSelect
**   The end-of-SELECT report of a direct-read SELECT child: with damaged
**   records skipped, ZORU453W with the table and the count.  Returns 0, or
**   ZORURUN_RC_DAMAGED (a warning: the run ends non-zero) when something
**   was skipped.
*/
int _zorurunEndSelect(zortask *ptaskSelect, const zorurunSelectEnd *pend);

/*
** _zorurunRunSelectChild
**   Main of a SELECT child.  Returns the code the process exits with: 0,
**   0x10da008 when the lists could not be made, 0x10da001 after a fork
**   failure, 0x10da004 when a reader or writer ended by a signal, or the
**   first non-zero exit byte of a reader or writer; osignalReason() when
**   a signal the SELECT child caught stopped a reader or writer or kept one
**   from starting.
*/
int _zorurunRunSelectChild(zorurunSelectLaunch *plaunch);

/*
** _zorurunCreateWithLists
**   Builds readers, writers and pairs by output placement and the SELECT
**   child's own run context (capacity readers + writers, kill-siblings 1).
**   Returns the context, or NULL (then *piTaskCount and *piRemoteCount are
**   0) when a channel or group could not be made (ZORU363E) or memory ran
**   out.
*/
zorurun *_zorurunCreateWithLists(zorcontrol *pcontrol, zorurun *prunParent, zortask *ptaskSelect,
                                 int *piTaskCount, int *piRemoteCount);

/* _zorurunDestroyWithLists: frees the lists (channels, groups, writers) and the context. */
void _zorurunDestroyWithLists(zorurun *prun);

/*
** _zorurunCreateReader
**   A reader for the work item: its partition, no semaphore, its unload
**   object; with LOBFILE flag 1 and a LOB-file writer.  Returns the reader,
**   or NULL when memory runs out.
*/
zorurunReader *_zorurunCreateReader(zorcontrol *pcontrol, zortask *ptaskSelect, part *pitem);

/*
** _zorurunCreatePair
**   A pair linking the reader and the writer, its record buffer length
**   max(MAXBUFFER_MAIN, 2 x ficdataSizeEnreg) bytes, a fresh channel of that
**   length or, when larger, of an eighth of the writers' buffer size (bufsize)
**   up to ZORURUN_CHANNEL_MIN, and the WHERE tree with
**   its evaluation context when the SELECT has one.  Returns the pair, or
**   NULL after ZORU363E when the channel cannot be made.
*/
zorurunPair *_zorurunCreatePair(zorurunReader *preader, zorurunWriter *pwriter);

/* _zorurunDestroyPair: destroys the channel (if still set) and the pair. */
void _zorurunDestroyPair(zorurunPair *ppair);

/* _zorurunDestroyReaderList, _zorurunDestroyWriterList: free each entry (its pair array, its
** LOB-file writer or file writer and group) and the list. */
void _zorurunDestroyReaderList(zorurunReader *preaderFirst);
void _zorurunDestroyWriterList(zorurunWriter *pwriterFirst);

/*
** _zorurunRunReadChild
**   Main of a reader process.  Returns 0, 0x10da003 when the partition read
**   failed, or the quiesce code when the table could not be quiesced/locked.
*/
int _zorurunRunReadChild(zorurunReader *preader);

/*
** _zorurunRunWriteChild
**   Main of a writer process: opens the file, writes the IXF header if any,
**   converts and writes every record of its group, counting the rows no
**   converter could write and the LOBs the readers cut in the records they
**   flagged (storage/ficdata.h), and tells both at the end
**   (_zorurunReportSelectEnd).  Returns the open code when the file could
**   not be opened, else the first failure met: the conversion pool's (a
**   write, a channel that cannot be read, a reader gone without its end
**   record, memory), then the final flush's, then the close's; a later
**   failure never takes the place of an earlier one.  The code of
**   _zorurunReportSelectEnd (ZORURUN_RC_ROWSLOST, ZORURUN_RC_LOBCUT ...)
**   when it is worse.
*/
int _zorurunRunWriteChild(zorurunWriter *pwriter);

#endif
