/*
** ficpar.h
**   Data pages of one table decoded on helper threads, their rows sent in
**   page order.  The record loop of a forked reader (DMS record-reader
**   child, SMS reader) hands it the table's pages one by one, as it would
**   hand them to ficdataGetDB2Enregs; the pages are gathered into batches
**   of contiguous reads, each batch read and decoded by one helper thread
**   into rows of its own, and the calling thread writes the rows of each
**   batch to the pairs, batch after batch in the order the pages came: the
**   channels receive the same records in the same order as from
**   ficdataGetDB2Enregs page after page.
**
**   The helpers say nothing.  A page whose read, page number, slot
**   directory, slots or records are not all sound is left to the calling
**   thread, which reads it (and every later page of its batch) with
**   ficdataGetDB2Enregs when the batch's turn comes: its messages, damage
**   counts and failures are those of the page-by-page read, in the same
**   order.  The pairs, the channels and the reader state are used by the
**   calling thread only.
**
**   Used only where the page-by-page read keeps no state from row to row:
**   no sampling, no WHERE on a pair, no long-field or LOB column, local
**   files; the table's first page (object page 0, which names the
**   descriptor record) is read page by page before ficparCreate.  The
**   helper threads block every signal: a signal reaches the calling
**   thread, whose channel waits give up on it.
*/
#ifndef ZAV_STORAGE_FICPAR_H
#define ZAV_STORAGE_FICPAR_H

#include <cstdint>

#include "storage/ficdata.h"

/* One data page of the table, as the record loop maps it. */
struct ficparPage {
  int iFd;                     /* local file that holds it */
  int32_t ilLogicalPage;       /* SMS: table page; DMS: table-space page */
  int32_t ilPhysicalPage;      /* page within the file */
  int64_t llExpectedPage;      /* the object page it must be */
};

struct ficpar;

/*
** ficparHelpers
**   The helper threads a table of ilPages pages is read with: 0 (read it
**   page by page) when the reader keeps state from row to row (sampling on
**   in pficdata, a WHERE tree on a pair, long-field or LOB columns in
**   pdesc), reads through the daemon (pinfo->ilRemote), the table holds
**   fewer than three batches of pages, or the process may run on fewer
**   than six CPUs (the writer's threads need the others); else 2.
*/
int ficparHelpers(const ficdata *pficdata, const ficdataInfoTable *pinfo, const ficdataTableDesc *pdesc,
                  const ficdataPair *apair, int32_t iPairCount, int32_t ilPages);

/*
** ficparCreate
**   Starts iHelpers (> 0) helper threads for the table pdesc read with the
**   reader state pficdata, which has read the table's first page (its
**   descriptor page and slot are taken from it).  pinfo, pinfolong, pslots
**   and pcBuffer (ilBufferSize bytes, at least ficdataSizeEnreg) are what
**   the calling thread gives ficdataGetDB2Enregs for the pages left to it;
**   all must outlive the ficpar.  Returns the ficpar, or NULL when memory
**   or a thread could not be had (the caller then reads page by page).
*/
ficpar *ficparCreate(ficdata *pficdata, ficdataInfoTable *pinfo, const ficdataInfoLong *pinfolong,
                     const ficdataTableDesc *pdesc, ficdataSlots *pslots, unsigned char *pcBuffer,
                     int32_t ilBufferSize, int iHelpers);

/*
** ficparPut
**   Takes the next page of the table, and writes to the pairs the rows of
**   the batches decoded so far, in order (waiting for the oldest when every
**   batch is taken).  Returns 1 to go on; 0 as ficdataGetDB2Enregs returns
**   0 (no pair takes records any more, a page could not be read, a channel
**   refused a record): the caller stops giving pages and ends with
**   ficparDestroy, the rows of later pages are not sent.
*/
int ficparPut(ficpar *ppar, const ficparPage *ppage, ficdataPair *apair, int32_t iPairCount);

/*
** ficparFlush
**   Writes the rows of every page taken so far, in order, waiting for their
**   batches.  Returns 1 or 0 as ficparPut.  Pages may follow.
*/
int ficparFlush(ficpar *ppar, ficdataPair *apair, int32_t iPairCount);

/*
** ficparDestroy
**   Stops the helpers (a batch being decoded is finished first, its rows
**   dropped with those of every batch not yet written) and frees the
**   ficpar.  NULL is allowed.
*/
void ficparDestroy(ficpar *ppar);

/*
** Test seam: forces the helper count of ficparHelpers when the table
** allows them (iHelpers > 0) or page-by-page reads (0), and the pages of a
** batch (ilBatchPages > 0); -1 for either restores the rule.  Set it
** before the reader is forked.
*/
void ficparSetTuning(int iHelpers, int32_t ilBatchPages);

#endif
