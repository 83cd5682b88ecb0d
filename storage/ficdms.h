/*
** ficdms.h
**   Page mapping of a DMS table space: a table-space page to the container
**   that holds it and the page within that container, following the
**   striping of the partition record's map control blocks (see ficcont.h).
**   The access configuration borrows the partition record's two lists; the
**   container readers build it per partition and read page p of a
**   container at p x page size.  No state; any process or thread.
*/
#ifndef ZAV_STORAGE_FICDMS_H
#define ZAV_STORAGE_FICDMS_H

#include <cstdint>

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

#endif
