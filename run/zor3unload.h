/*
** zor3unload.h
**   The partition read driver: what a reader process of a direct-read
**   SELECT runs for its partition.  It reads the table description of a
**   table on one partition (main process, SELECT preparation), then feeds
**   every kept record of the table into the reader's pairs and ends each
**   pair with the channel's end record.
**
**   Ways of reading, chosen per partition work item:
**     - table-space object (a backup image or the online reader): the
**       driver walks the object's pages itself, with its own SKIP/INTERVAL
**       sampler, the WHERE test per pair and long-field/LOB loading through
**       the object's child objects (unloadFromTs);
**     - SMS containers: the table's files, page after page, in the reader
**       process;
**     - DMS containers: the reader process walks the extent map and writes
**       the page numbers into a pipe; a record-reader child reads the pages
**       and cuts the records (ficdataGetDB2Enregs samples, tests WHERE,
**       completes long data and writes the pairs).
**
**   Processes (DMS): reader -> fork -> record-reader child.  The two share
**   only the page-number pipe: the reader writes it (then closes it), the
**   child reads it with blocking reads.  The child writes the pairs'
**   channels, so the reader process never writes them on that path except
**   for the end records after a failure to start.  A pair leaves the live
**   set the first time its channel answers OVF_RC_STOPPED and never
**   returns; every channel that is still set gets its end record once.
**
**   Trace keyword "$UNLOAD".
*/
#ifndef ZAV_RUN_ZOR3UNLOAD_H
#define ZAV_RUN_ZOR3UNLOAD_H

#include <cstdint>

#include "common/oreason.h"

struct ficcont;
struct ficdataTableDesc;
struct part;
struct zortask;
struct zorurunReader;

/* LONGCOL bits: which long columns the output needs. */
#define UNLOAD_LONGCOL_LOB 0x1
#define UNLOAD_LONGCOL_LF  0x2

/* SELECT flags set by the SELECT preparation: the output has long-field / LOB columns. */
#define UNLOAD_SELECT_LF  0x20
#define UNLOAD_SELECT_LOB 0x40

/* Unload object: one per reader. */
struct unload {
  part *ppart;            /* work item (borrowed) */
  zortask *ptaskSelect;   /* SELECT task (borrowed) */
  int32_t ilLongCol;      /* UNLOAD_LONGCOL_* */
  int32_t iSampling;      /* 1 when SKIP or INTERVAL is above 0 */
  int32_t ilSkip;
  int32_t ilInterval;
  int32_t ilCounter;      /* records of kinds 0 and 4 met so far */
  int32_t ilLastKept;     /* number of the last record kept */
};

/*
** unloadCreate
**   An unload object for the work item, reading SKIP and INTERVAL (0 when
**   absent) through the SELECT task and its owners.
**   Returns the object, or NULL when memory runs out.
*/
unload *unloadCreate(part *ppart, zortask *ptaskSelect, int32_t ilLongCol);

/* unloadDestroy: frees the object (not what it borrows); NULL accepted. */
void unloadDestroy(unload *punload);

/*
** unloadTableDesc
**   Reads the table descriptor of table OBID on the partition of pficcont
**   (SMS: the table's ".DAT" files; DMS: the containers, through the object
**   table) into *pdesc and the table's data page count into *pilPages.
**   pcUser is the instance user the container functions use.
**   Returns 0, or 1 when the table-space kind is neither SMS nor DMS, the
**   containers fail their checks (after their messages) or the descriptor
**   cannot be read.
*/
int unloadTableDesc(const char *pcUser, ficcont *pficcont, int32_t ilObid, ficdataTableDesc *pdesc,
                    int32_t *pilPages);

/*
** unloadTableDB2Seq
**   Reads the reader's partition into its pairs (reader process): through
**   the work item's table-space object when it has one (unloadFromTs), else
**   the SMS or DMS containers.  Every pair whose channel is still set gets
**   its end record, whatever happens.  Frees the column array of the work
**   item's table description.
**   Returns 0; 1 when the containers fail their checks, the long-data files
**   cannot be opened, the table-space kind is unknown, a page could not be
**   read or the record-reader child failed; the code of unloadFromTs.
*/
int unloadTableDB2Seq(const char *pcUser, int32_t ilObid, zorurunReader *preader);

/*
** unloadFromTs
**   Reads every page of the work item's table-space object into the
**   reader's pairs, then destroys the object.  Every pair whose channel is
**   still set gets its end record, also when the object cannot start.
**   Returns 0 (the object's data ended); the code of zortsLaunchThreads;
**   ZORTS_RC_READ or any other error code of the object's read-next
**   operation; the code of a record expansion or long-data load that ended
**   the page loop; ORC_NOMEM; ORC_INVALID without an object.
*/
int unloadFromTs(zorurunReader *preader);

/*
** unloadInit
**   A new array (malloc, the caller frees it) of ilCount records, each
**   holding its own entry of alValues first, then the eight words given.
**   Returns NULL for a negative count, NULL values with a positive count,
**   or when memory runs out.
*/
struct unloadInitRecord {
  intptr_t lValue;
  intptr_t alWords[8];
};
unloadInitRecord *unloadInit(int32_t ilCount, const intptr_t *alValues, intptr_t l1, intptr_t l2, intptr_t l3,
                             intptr_t l4, intptr_t l5, intptr_t l6, intptr_t l7, intptr_t l8);

#endif
