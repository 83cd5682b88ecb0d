/*
** ovf.h
**   Shared-memory record channels.  A channel carries variable-length records
**   from one producer process to one consumer process through a SysV
**   shared-memory segment split into two halves, which the two sides hand to
**   each other with a set of three SysV semaphores.  Channels are created (and
**   grouped) before the fork.  The segment is marked for removal as soon as
**   its creator has attached it: every other user holds it through the
**   fork, and it vanishes with the last of them, however they end.  The
**   semaphore set, which cannot be marked so, is registered with the message
**   centre, which removes it if no process does.  A consumer serving several
**   producers reads their channels as one stream through an ovfgroup.  Not
**   for use by two threads of one process.
**
**   Segment (all words 32-bit, host byte order; positions are byte offsets
**   from the start of the segment, so the layout does not depend on where a
**   process maps it):
**
**     OFFSET  SIZE  DESCRIPTION
**        0      4   state (OVF_STATE_*)
**        4      4   consumer end flag: -1 once the end record was read, else 0
**        8      4   consumer half: 0 none yet, 1|2 being read, -1|-2 given back
**       12      4   producer half: 0 none yet, 1|2 being filled, -1|-2 handed over
**       16      4   half 1 start
**       20      4   half 1 end (= half 2 start)
**       24      4   half 1 record count, stored at hand-over
**       28      4   half 2 start
**       32      4   half 2 end (end of the data area)
**       36      4   half 2 record count, stored at hand-over
**       40      4   read position: the consumer's next record
**       44      4   write position: where the producer writes next
**       48      4   write limit: where the producer's current half is handed over
**                   (its end; a producer's first halves stop short of it)
**       52      4   producer record count in its current half
**       56      4   records left in the consumer's current half
**       60      4   half size
**       64      4   group: 0 when none, else the group's semaphore-set id + 1
**       68      4   semaphore-set id of the channel
**       72      4   shared-memory id of the segment
**       76  L + 8   data area: half 1, then half 2, (L + 8) / 2 bytes each
**
**   L is the length asked of ovfCreate rounded up to a multiple of 4.  A record
**   is a 32-bit length (host order), then the data, padded to a multiple of 4
**   (the padding holds zeros, or whatever was there); length 0 is the end record.  A record and
**   its length word must fit in one half: length + 4 <= half size.  A
**   producer's first halves are handed over before they are full (64 KB,
**   then twice what the one before held), so that its consumer can start.
**
**   Semaphores: 0 full halves waiting for the consumer (initially 0); 1 free
**   halves for the producer (initially 2); 2 producer presence: the producer
**   raises it with SEM_UNDO on its first write, so that it falls back to 0
**   when the producer process ends, whether or not it wrote its end record.
**
**   Channel states (design note).
**     3 created      -> 0 writing     ovfWrite, first half taken
**     0 writing      -> 1 end         ovfWrite of the end record
**     3|0 (created, writing) -> 2 stopped   ovfStop (consumer)
**     2 stopped      -> 1 end         ovfWrite: writes an end record instead of
**                                     the record and returns OVF_RC_STOPPED
**     1 end is final.  Every change is a compare-exchange, so a stop never
**     overwrites the end state; a stop asked before the producer's first
**     write is kept and ends the producer at that write.
**   Invariants: each half is touched by one side at a time: the producer
**   holds at most the two halves the consumer is not reading (semaphore 1),
**   the consumer reads only halves handed over (semaphore 0), and a half's
**   record count is stored before it is handed over.  The producer
**   alternates halves 1, 2, 1 ...; the consumer follows in the same order.
**   Waits are bounded where a dead producer would otherwise hold them: the
**   consumer's waits and ovfDestroy notice a producer that ended without its
**   end record and return OVF_RC_LOST instead of blocking.  A producer that
**   ends before its first write cannot be told from one not started yet: a
**   consumer reading it waits (ovfDestroy does not), unless the producer is
**   the consumer's own child and was named with ovfWatchProducer.  In a process that has
**   caught a signal asking it to stop (common/osignal.h), every wait of
**   either side gives up: ovfWrite and ovfRead return OVF_RC_INTERRUPTED and
**   ovfDestroy removes the channel without waiting for its producer.
*/
#ifndef ZAV_COMMON_OVF_H
#define ZAV_COMMON_OVF_H

#include <cstdint>
#include <sys/types.h>

#include "common/oreason.h"

/* Reason codes of this module (module 0x1A). */
#define OVF_RC_STOPPED    0x1A9001   /* warning: the consumer asked the producer to stop */
#define OVF_RC_NOMEMBER   0x1AA001   /* error: the group has no member */
#define OVF_RC_NOTMEMBER  0x1AA002   /* error: the channel is not a member of the group */
#define OVF_RC_LOST       0x1AA003   /* error: the producer ended without its end record */
#define OVF_RC_INTERRUPTED 0x1AA004  /* error: the process caught a signal asking it to stop */
#define OVF_RC_NOTREADY   0x1AC001   /* terminal: no member had a full half after the group wait */

/* Channel states. */
#define OVF_STATE_WRITING 0
#define OVF_STATE_EOF     1
#define OVF_STATE_STOPPED 2
#define OVF_STATE_CREATED 3

/* Word indexes of the segment header (byte offset = index * 4). */
enum {
  OVF_W_STATE = 0,
  OVF_W_CONSUMER_EOF,
  OVF_W_CONSUMER_HALF,
  OVF_W_PRODUCER_HALF,
  OVF_W_HALF1_START,
  OVF_W_HALF1_END,
  OVF_W_HALF1_COUNT,
  OVF_W_HALF2_START,
  OVF_W_HALF2_END,
  OVF_W_HALF2_COUNT,
  OVF_W_READ_POS,
  OVF_W_WRITE_POS,
  OVF_W_WRITE_LIMIT,
  OVF_W_PRODUCER_COUNT,
  OVF_W_RECORDS_LEFT,
  OVF_W_HALF_SIZE,
  OVF_W_GROUP,
  OVF_W_SEMID,
  OVF_W_SHMID,
  OVF_HEADER_WORDS               /* 19 */
};
#define OVF_HEADER_SIZE (OVF_HEADER_WORDS * 4)   /* 76 */

/* Semaphores of a channel's set. */
#define OVF_SEM_FULL   0
#define OVF_SEM_FREE   1
#define OVF_SEM_ALIVE  2

/*
** A channel: the attached segment itself.  Its bytes are reached only
** through this module's functions; the struct has no members.
*/
struct ovf;

/*
** ovfgroup
**   Channels read as one stream by a single consumer.  Lives in the
**   consumer's memory; made before the fork, so every process holds a copy
**   at the same address.
*/
struct ovfgroup {
  int iSemId;            /* set of one semaphore counting full halves over all members */
  int iCount;            /* member count */
  int *piSemIds;         /* semaphore-set ids of the members */
  ovf **ppovfMembers;    /* the members, in the order they were added */
  ovf *povfCurrent;      /* the member being read, NULL when none */
  int iCapacity;         /* member count given to ovfGroupCreate */
};

/*
** ovfCreate
**   Creates a channel for records of up to L / 2 bytes: a segment of
**   L + 84 bytes (L = iLen rounded up to a multiple of 4), attached and
**   marked for removal, and its semaphore set registered with the message
**   centre, both owner and group only; the header initialised (state 3).
**   iMaxRec is only traced.  Returns the channel, or NULL with the system error number in
**   *piErrno (EINVAL for a negative iLen).
*/
ovf *ovfCreate(int iLen, int iMaxRec, int *piErrno);

/*
** ovfWrite
**   Producer: appends one record of iLen bytes; iLen 0 writes the end record.
**   Hands the current half to the consumer when the record does not fit in
**   what is left of it, waiting for a free half when both are taken.
**   Returns 0; OVF_RC_STOPPED when the consumer has asked to stop (an end
**   record is written in place of the record, and the producer writes no
**   more); ORC_INVALID for a NULL channel, a negative length, a record that
**   cannot fit in one half (iLen + 4 > half size; nothing is written), or a
**   semaphore that fails (the channel was removed); OVF_RC_INTERRUPTED when
**   the wait for a free half was given up for a caught signal.
*/
int ovfWrite(ovf *povf, const void *pData, int iLen);

/*
** ovfWriteRecords
**   Producer: appends records laid out as in the channel, one after the
**   other from pRecords (llBytes bytes, ilCount records): each a 32-bit
**   length (host order, not 0), its data, and padding to a multiple of 4
**   (zeros).  The channel ends up as ilCount calls of ovfWrite would leave
**   it, byte for byte, with one copy for each run of records that fits in
**   a half.  Stops before a record that ovfWrite would not simply append:
**   one that cannot fit in one half or runs past llBytes, any record once
**   the consumer has asked to stop (nothing of it is written: ovfWrite
**   then writes the end record), and one for which no free half could be
**   taken; *pilWritten receives the number of records appended before it.
**   Returns 0 (all appended); OVF_RC_STOPPED; ORC_INVALID for bad
**   arguments, such a record, or a semaphore that fails; OVF_RC_INTERRUPTED
**   as ovfWrite.
*/
int ovfWriteRecords(ovf *povf, const void *pRecords, int64_t llBytes, int32_t ilCount, int32_t *pilWritten);

/*
** ovfRead
**   Consumer: copies the next record into pBuffer, at most iSize bytes (a
**   longer record is cut); *piLen receives the record's full length, 0 for
**   the end record and at every call after it.
**   Returns 0; OVF_RC_LOST (and *piLen 0) when the producer ended without
**   writing its end record; OVF_RC_INTERRUPTED (and *piLen 0) when the wait
**   was given up for a caught signal; ORC_INVALID for bad arguments, a
**   record whose length runs past its half, or a semaphore that fails.
*/
int ovfRead(ovf *povf, void *pBuffer, int iSize, int *piLen);

/*
** A record taken by ovfReadRecords: where its bytes start in the caller's
** buffer, and its full length (more than was copied when it was cut).
*/
struct ovfrecord {
  int32_t ilOffset;
  int32_t ilLen;
};

/*
** Records taken in bulk: the caller's buffer and table of records, which
** every call of ovfReadRecords or ovfGroupReadRecords fills further, and
** the end of the channel (or group).  The caller sets the first five
** members and clears ilUsed, ilCount and iEnd to begin a buffer.
*/
struct ovfrecords {
  void *pBuffer;          /* where the records' bytes are copied */
  int32_t ilSize;         /* bytes of pBuffer */
  int32_t ilRecordMax;    /* a longer record is cut to its first ilRecordMax bytes (> 0) */
  ovfrecord *precs;       /* the records taken, in channel order */
  int32_t ilCapacity;     /* entries of precs */
  int32_t ilUsed;         /* bytes of pBuffer in use: a call copies after them */
  int32_t ilCount;        /* entries of precs in use: a call appends after them */
  int iEnd;               /* set to 1 by the call that read the end record (of every member) */
};

/*
** ovfReadRecords
**   Consumer: takes the next records of the channel in one pass, as
**   ovfRead would take them one after the other, and copies them into
**   prec's buffer with one copy for each run of them.  Each record keeps
**   the 4 bytes of its length word in front of it and the padding behind
**   it, as in the channel: a record of length n needs 4 + n bytes of the
**   buffer (4 + ilRecordMax when cut), the next one starting at a multiple
**   of 4 bytes after it.  Takes a full half first when it holds none
**   (waiting as ovfRead does), then the records of that half only; it
**   stops at the end of the half, which goes back to the producer at once,
**   before a record that does not fit in the rest of the buffer or the
**   table, before a record whose length runs past its half, and before the
**   end record when it has taken records.  Reading the end record sets
**   iEnd, and every later call changes nothing.
**   REQUIRES: ilUsed <= ilSize and ilCount <= ilCapacity.
**   Returns 0 (ilCount unchanged and iEnd 0 only when the next record does
**   not fit); OVF_RC_LOST, OVF_RC_INTERRUPTED and ORC_INVALID as ovfRead,
**   taking nothing.
*/
int ovfReadRecords(ovf *povf, ovfrecords *prec);

/*
** ovfWatchProducer
**   Consumer: names the producer of the channel, a child of the calling
**   process, so that a producer that ends before its first write is also
**   taken for lost (OVF_RC_LOST) instead of being waited for.  The child
**   is not reaped.  pid 0 forgets it; ovfDestroy forgets it too.
*/
void ovfWatchProducer(ovf *povf, pid_t pid);

/*
** ovfEndUnstarted
**   For the process whose child was the channel's producer, once that
**   child has ended and been reaped: when the child never took a half (it
**   died or failed before its first write), writes the end record in its
**   place, so that the consumer, which cannot tell such a producer from
**   one not started yet, is not left waiting for ever.  A producer that
**   wrote is left alone: its consumer takes it for lost (OVF_RC_LOST).
**   Returns 1 when the end record was written here, else 0.
*/
int ovfEndUnstarted(ovf *povf);

/*
** ovfStop
**   Consumer: asks the producer to stop; the state becomes 2 unless the end
**   record was already written.  The consumer then reads until length 0.
*/
void ovfStop(ovf *povf);

/*
** ovfDestroy
**   Waits until the producer has written its end record (or has ended
**   without it, or never wrote at all; a producer still writing is waited
**   for, so stop and drain it first; not after a caught signal), then
**   unregisters and removes the semaphore set and detaches the segment,
**   which goes with its last user.  A stopped producer waiting for a free
**   half is given one, so that it can write its end record.  Returns 0;
**   OVF_RC_LOST when the producer ended without its end record (the
**   resources are removed all the same); ORC_INVALID for NULL.
*/
int ovfDestroy(ovf *povf);

/*
** ovfGroupCreate
**   A group for up to iCapacity members, with its semaphore (initial 0,
**   owner and group only, registered with the message centre).
**   Returns the group, or NULL with the system error number in *piErrno.
*/
ovfgroup *ovfGroupCreate(int iCapacity, int *piErrno);

/*
** ovfGroupAdd
**   Records the group in the channel's header and appends the channel to the
**   members.  A channel beyond the capacity, or already a member, is not
**   added (traced).
*/
void ovfGroupAdd(ovfgroup *pgroup, ovf *povf);

/*
** ovfGroupRead
**   Consumer: the next record of any member, as ovfRead.  A member is removed
**   (and destroyed) when its end record is read; *piLen 0 with result 0 means
**   that every member has ended.
**   Returns 0; OVF_RC_NOMEMBER (*piLen unchanged) for a group without
**   members (never had one, or all were read to the end); OVF_RC_NOTREADY
**   when no member had a full half after the group wait; OVF_RC_LOST (*piLen
**   0) when a member's producer ended without its end record (that member is
**   removed; the others can still be read); OVF_RC_INTERRUPTED and
**   ORC_INVALID as ovfRead.
*/
int ovfGroupRead(ovfgroup *pgroup, void *pBuffer, int iSize, int *piLen);

/*
** ovfGroupReadRecords
**   Consumer: the next records of the group, as ovfReadRecords takes them
**   from one member, that member chosen as ovfGroupRead chooses it, so
**   that the records come in the order ovfGroupRead gives them.  A member
**   is removed (and destroyed) when its end record is read, and the next
**   member read; iEnd is set once every member has ended.
**   Returns 0 (prec unchanged and iEnd 0 only when the next record does not
**   fit); OVF_RC_NOMEMBER, OVF_RC_NOTREADY, OVF_RC_LOST (the member is
**   removed), OVF_RC_INTERRUPTED and ORC_INVALID as ovfGroupRead, taking
**   nothing.
*/
int ovfGroupReadRecords(ovfgroup *pgroup, ovfrecords *prec);

/*
** ovfGroupRemove
**   Destroys the channel as ovfDestroy does and removes it from the members
**   (later members move down one place); clears the current channel.
**   Returns 0 (or ovfDestroy's OVF_RC_LOST); OVF_RC_NOTMEMBER, changing
**   nothing, when the channel is not a member.
*/
int ovfGroupRemove(ovfgroup *pgroup, ovf *povf);

/* ovfGroupStop: ovfStop on every member. */
void ovfGroupStop(ovfgroup *pgroup);

/*
** ovfGroupDestroy
**   Destroys every member as ovfDestroy does, in member order, then
**   unregisters and removes the group semaphore and frees the group.
**   Returns 0.
*/
int ovfGroupDestroy(ovfgroup *pgroup);

#endif
