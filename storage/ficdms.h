/*
** ficdms.h
**   Page mapping of a DMS table space: a table-space page to the container
**   that holds it and the page within that container, following the
**   striping of the partition record's map control blocks (see ficcont.h).
**   The access configuration borrows the partition record's two lists; the
**   container readers build it per partition and read page p of a
**   container at p x page size.  The container functions check, open and
**   close a partition record's containers, on this host or through the
**   daemon of the partition's host, and issue the messages of a container
**   that is absent, forbidden or cannot be opened.  No state; any process
**   or thread.
*/
#ifndef ZAV_STORAGE_FICDMS_H
#define ZAV_STORAGE_FICDMS_H

#include <cstdint>

#include "common/oreason.h"

struct ficcont;
struct olist;

/* DMS access configuration. */
struct ficdmsConf {
  int32_t ilRemote;            /* containers read through the daemon */
  int32_t ilExtentSize;        /* pages */
  int32_t ilPageSize;          /* bytes */
  int32_t ilMapCbEntries;
  int32_t ilContainers;        /* entries of the container list */
  olist *plistMapCb;           /* ficcontMapCb items (borrowed) */
  olist *plistCont;            /* ficcontCont items (borrowed) */
  unsigned char *apucPage[2];  /* two page buffers, owned by whoever sets them */
};

/*
** ficdmsIdentifyPage
**   Table-space page ilPage: x = ilPage div extent size, r = ilPage mod
**   extent size; the stripe of x gives the container (*pilCont) and the
**   extent's row in it; the page in that container is its header pages +
**   row x extent size + r.  ilTableId is not used.
**   Returns the page within the container, or -1 (*pilCont -1) when the
**   page has no mapping: negative, beyond the last stripe, an extent size
**   of 0, a stripe naming a container the list does not hold, or a result
**   beyond 32 bits.
*/
int32_t ficdmsIdentifyPage(const ficdmsConf *pconf, int32_t ilTableId, int32_t ilPage, int32_t *pilCont);

/* _ficdmsMapPage: ficdmsIdentifyPage over a configuration passed untyped (a reader's page mapping). */
int32_t _ficdmsMapPage(const void *pConf, int32_t ilTableId, int32_t ilPage, int32_t *pilCont);

/*
** ficdmsInitConf
**   A DMS access configuration of the partition record (remote flag,
**   extent size, page size, map entries, container count; both lists
**   borrowed), without buffers.  Returns it, or NULL without a record or
**   when memory runs out.
*/
ficdmsConf *ficdmsInitConf(const ficcont *pficcont);

/*
** ficdmsInitBuffers
**   Gives the configuration its two page buffers of ilPageSize bytes.
**   Returns 0, ORC_INVALID, or ORC_NOMEM (no buffer set).
*/
int ficdmsInitBuffers(ficdmsConf *pconf, int32_t ilPageSize);

/* ficdmsFreeBuffers: frees the buffers and the configuration; NULL accepted. */
void ficdmsFreeBuffers(ficdmsConf *pconf);

/*
** ficdmsControlFiles
**   Checks every container of the partition record in order (remote:
**   through the daemon as pcUser; local: the access test).  The first one
**   denied gives ZORU318E, the first one absent ZORU319E, with its path.
**   Returns 1 when all are accessible; 0 after the message, or after a
**   trace when the record lists no container.
*/
int ficdmsControlFiles(const ficcont *pficcont, const char *pcUser);

/*
** ficdmsOpenFiles
**   Opens every container read-only (local: with the identities
**   exchanged; remote: through the daemon as pcUser).  A container that
**   cannot be opened keeps -1 in its place, after ZORU347E.
**   Returns the descriptors in container order (free with
**   ficdmsCloseFiles), or NULL without containers or memory.
*/
int *ficdmsOpenFiles(const ficcont *pficcont, const char *pcUser);

/* ficdmsCloseFiles: closes every open descriptor (remote: the daemon file) and frees the array; NULL accepted. */
void ficdmsCloseFiles(const ficcont *pficcont, int *piFd);

#endif
