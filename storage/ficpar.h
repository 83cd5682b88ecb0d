/*
** ficpar.h
**   Data pages of one table decoded on helper threads, their rows handed
**   on in page order.  A forked reader's record loop (DMS record-reader
**   child, SMS reader) gives it the table's pages one by one, as it would
**   read them itself.  The pages are gathered into batches; each batch is
**   read (runs of pages that follow each other in a file with one read
**   each) and decoded by one helper thread into rows of its own, and the
**   calling thread hands the rows of each batch to its sink, batch after
**   batch, in the order the pages came: the sink sees the rows in the order
**   the record loop would have met them.  The first batches hold fewer
**   pages, so that the first rows come early; a sink may take a batch's
**   rows at once, laid out as a record channel holds them (pfnRecords).
**
**   The helpers say nothing.  A page whose read, page number, slot
**   directory, slots or records are not all sound, and the table's first
**   object page, are left to the calling thread: the sink's page function
**   is given it (and every later page of its batch) when the batch's turn
**   comes, and reads it as the record loop does, with its messages, damage
**   counts and failures, in the same order.  The sink is called by the
**   calling thread only.
**
**   A record loop that has its pages in memory already (read and restored
**   by a table-space object's own threads) gives each page's bytes with it:
**   the page is copied into its batch, and the helpers only decode.  Every
**   page of a table comes one way or the other.
**
**   For record loops that keep no state from row to row: no sampling, no
**   WHERE, no long-field or LOB data.  The helper threads block every
**   signal: a signal reaches the calling thread.
*/
#ifndef ZAV_STORAGE_FICPAR_H
#define ZAV_STORAGE_FICPAR_H

#include <cstdint>

#include "storage/ficdata.h"

/* One data page of the table, as the record loop meets it. */
struct ficparPage {
  int iFd;                     /* local file that holds it */
  int32_t ilLogicalPage;       /* SMS: table page; DMS: table-space page */
  int32_t ilPhysicalPage;      /* page within the file */
  int64_t llExpectedPage;      /* the object page it must be, -1 for the number it carries */
  const unsigned char *pucPage = nullptr;   /* its bytes, read and restored, when the loop has them (iFd unused) */
};

/* The table and how its pages come. */
struct ficparTable {
  const ficdataTableDesc *pdesc;
  int32_t ilPageSize;
  int32_t ilRowRoom;           /* bytes for one row (at least ficdataSizeEnreg) */
  int64_t llOffset;            /* file offset of physical page 0 */
  int32_t ilDescPage;          /* the logical page (pages given by their bytes: the object page) whose slot
                                  iDescSlot holds the descriptor (no row); -1 none */
  int iDescSlot;
};

/* What the calling thread does with the rows and with the pages left to it. */
struct ficparSink {
  void *pCtx;
  /* A decoded row of slot iSlot of object page llObjectPage.  Returns 1 to go on, 0 to stop. */
  int (*pfnRow)(void *pCtx, const unsigned char *pcRow, int32_t ilLength, int64_t llObjectPage, int iSlot);
  /* A page left to the record loop.  Returns 1 or 0 as pfnRow. */
  int (*pfnPage)(void *pCtx, const ficparPage *ppage);
  /* Optional: the ilCount rows of a batch at once, laid out as a record
     channel lays records out (common/ovf.h: a 32-bit length in host order,
     the row, zeros to a multiple of 4), llBytes in all.  Returns how many of
     the first rows it took as pfnRow would have taken them one by one; the
     rows after those go to pfnRow, one by one. */
  int32_t (*pfnRecords)(void *pCtx, const unsigned char *pucRecords, int64_t llBytes, int32_t ilCount) = nullptr;
};

struct ficpar;

/*
** ficparHelpers
**   The helper threads a table of ilPages pages of ilPageSize bytes is read
**   with: 0 (the record loop decodes every page) when boSerial (the loop
**   keeps state from row to row, or reads through the daemon), when the
**   table holds fewer than three batches of pages, or when the process may
**   run on fewer than six CPUs (the writer's threads need the others);
**   else 2.
*/
int ficparHelpers(int32_t ilPageSize, int64_t llPages, int boSerial);

/*
** ficparCreate
**   Starts iHelpers (> 0) helper threads for the table *ptable, its rows
**   and pages going to *psink; both are copied, what they point to must
**   outlive the ficpar.  Returns the ficpar, or NULL when memory or a thread
**   could not be had (the caller then decodes every page itself).
*/
ficpar *ficparCreate(const ficparTable *ptable, const ficparSink *psink, int iHelpers);

/*
** ficparPut
**   Takes the next page of the table (a page given by its bytes is copied:
**   they are the caller's again on return), and hands on the rows of the
**   batches decoded so far, in order (waiting for the oldest when every
**   batch is taken).  A page whose copy finds no memory is handed to the
**   sink's page function after every page before it.  Returns 1 to go on; 0 once the sink answered 0: the caller
**   stops giving pages and ends with ficparDestroy, the rows of later pages
**   are not handed on.
*/
int ficparPut(ficpar *ppar, const ficparPage *ppage);

/*
** ficparFlush
**   Hands on the rows of every page taken so far, in order, waiting for
**   their batches.  Returns 1 or 0 as ficparPut.  Pages may follow.
*/
int ficparFlush(ficpar *ppar);

/*
** ficparDestroy
**   Stops the helpers (a batch being decoded is finished first, its rows
**   dropped with those of every batch not yet handed on) and frees the
**   ficpar.  NULL is allowed.
*/
void ficparDestroy(ficpar *ppar);

/*
** Test seam: forces the helper count of ficparHelpers when the table
** allows them (iHelpers > 0) or no helper (0), and the pages of a batch
** (ilBatchPages > 0); -1 for either restores the rule.  Set it before the
** reader is forked.
*/
void ficparSetTuning(int iHelpers, int32_t ilBatchPages);

#endif
