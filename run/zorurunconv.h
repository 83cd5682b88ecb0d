/*
** zorurunconv.h
**   Conversion pool of a writer process: the records of the writer's
**   channel group are converted on several threads and the converted rows
**   reach the file writer in the order the records were read, so that the
**   file is the one a single thread would write.  Called by the writer
**   process (run/zorurunsel.cpp) once its file is open; the pool lives for
**   one call of zorurunconvRun.
**
**   Threads (design note).
**     feeder     the calling thread.  Takes records from the group into the
**                batch of the next sequence number, as many of one channel
**                half as fit at a time, with one copy for each run of them
**                (ovfGroupReadRecords); queues the batch when the next
**                record does not fit (the first batches are smaller, so
**                that the workers start early), and starts one more worker
**                for each of the first batches.  A half goes back to its producer
**                once its records are copied.
**     workers    1..n.  Each takes the queued batch of the lowest sequence
**                number and converts its records with a converter of its
**                own (clones of the rows, of every column's core data, of
**                the ICU converters and of the work buffer), each row into
**                the batch's output area.
**     collector  one thread.  Takes the batches in sequence order once
**                converted; counts each row, passes each converted one to
**                the writer's write operation, counts and traces the others;
**                gives the batch back.
**   Batch states: FREE -> (feeder) FILLING -> QUEUED -> (a worker)
**     CONVERTING -> CONVERTED -> (collector, in sequence order) FREE.
**     Batch of sequence s is entry s modulo the batch count, which is why
**     the feeder waits for that entry to be FREE.
**   Invariants.
**     1. A batch is touched only by the thread its state gives it to; every
**        state change is made under the pool mutex.
**     2. The collector passes batch s to the writer only after batches
**        0..s-1: rows reach the writer in the order the feeder read them.
**     3. While the pool runs, the collector alone drives the file writer.
**     4. The first failure of any thread (a write, a channel that cannot
**        be read, a producer gone without its end record, memory) is kept
**        and never replaced by a later one; the pool ends with it.  A
**        failure of the writes or a limit reached stops the pool: the
**        collector gives the later batches back unwritten and uncounted;
**        the feeder asks the group's producers to stop and reads the group
**        to its end.  A channel that cannot be read ends the reading, not
**        the writing of what was read before it.
**     5. The feeder waits only for a batch that the collector gives back
**        whatever happens to the writes, and the collector only for
**        batches the feeder has queued; the end is published by the
**        feeder, so every thread reaches it.
**   A killed writer process takes its threads with it; a thread that
**   cannot be started stops the pool as a failure (ORC_NOMEM) unless one
**   worker runs.
*/
#ifndef ZAV_RUN_ZORURUNCONV_H
#define ZAV_RUN_ZORURUNCONV_H

#include <cstddef>
#include <cstdint>

struct oconvert;
struct ovfgroup;
struct zorurunSelectCounts;
struct zorwrite;

/* Most worker threads of one writer. */
#define ZORURUNCONV_MAX_WORKERS 4

/*
** zorurunconvWorkers
**   The worker count for a writer: the CPUs this process may run on, less
**   one for the reader, between 1 and ZORURUNCONV_MAX_WORKERS.
*/
int zorurunconvWorkers(void);

/*
** zorurunconvRun
**   Reads the group to its end, converting each record with a clone of
**   pconvert into a row of at most ilRowMax bytes and passing the converted
**   rows to pwrite->procWrite in record order.
**   ilRecordMax: the largest record the group can carry; a longer one is
**   never converted.  llBuffer: the writer's buffer size; a batch holds a
**   32nd of it (at most 256 KB, at least one record of the largest size),
**   and the batches (2 to iWorkers + 3) about all of it, so that the pool
**   holds back about as much as the writer's buffers.
**   iWorkers: worker threads, 1 or more.
**   pcounts: llRowsSeen counts every record offered to the converter (those
**   after a stop are not), llRowsNotConverted and llFirstNotConverted the
**   rows that could not be converted (and were not written), llValuesCut
**   and llFirstCut the LOB values the reader cut short, llReplaced and
**   llFirstReplaced the characters the converters replaced; first rows are
**   numbered in record order, as one thread converting row after row would
**   number them.  A writer given whole batches (writeTakesBlocks) counts a
**   batch before writing it, so a failing write may leave the rows after
**   it counted; a limit stops at its row.
**   Returns 0 at the end of the group or once the write operation reported
**   ZORWRITE_RC_LIMIT (the readers are then stopped); else the first
**   failure met, whichever thread met it: the write operation's code (the
**   readers are stopped); the group's read code when the channels cannot
**   be read (the readers are stopped; what was read before is written);
**   OVF_RC_LOST when a producer ended without its end record (the others
**   are read to their end); ORC_NOMEM when the batches, a converter clone
**   or the collector and every worker could not be made, a record could
**   not be kept, or a row's output could not be had (the rows before it
**   are written; the readers are stopped).
*/
int zorurunconvRun(oconvert *pconvert, int32_t ilRecordMax, int32_t ilRowMax, int64_t llBuffer, ovfgroup *pgroup,
                   zorwrite *pwrite, int iWorkers, zorurunSelectCounts *pcounts);

/*
** Test seam: the allocator of a batch's areas, called with NULL when the
** pool makes them at its start and with the area when a worker grows the
** output area (std::realloc when none is set); nullptr restores it.  Set it
** only while no pool runs.
*/
typedef void *(*zorurunconvReallocProc)(void *p, size_t ulSize);
void zorurunconvSetReallocProc(zorurunconvReallocProc proc);

#endif
