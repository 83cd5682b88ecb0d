/*
** sysibmcont.h
**   The containers of a table space on every partition of an instance: for
**   each partition of db2nodes.cfg, the partition record (ficcont.h) read
**   from that partition's SQLSPCS.1, on this host directly or through the
**   daemon of the partition's host.  Called by the control step, main
**   process; one daemon connection at a time.  Trace keyword "$SYSIBM".
*/
#ifndef ZAV_CATALOG_SYSIBMCONT_H
#define ZAV_CATALOG_SYSIBMCONT_H

#include "common/oreason.h"

struct olist;
struct ochar;

#define SYSIBM_RC_NONODES   ORC_MAKE(0x118, 2, 1)      /* the partition table could not be had */
#define SYSIBM_RC_NOCONT    ORC_MAKE(0x118, 2, 2)      /* no partition holds the table space (ZORU343E) */
#define SYSIBM_RC_PARTITION ORC_MAKE(0x118, 2, 0x041)  /* a partition asked for was not read (ZORU432E) */

struct obf;

/*
** sysibmGetContainers
**   Walks the partitions of instance pcharInstance in number order, those
**   of pobfWanted only (every partition when NULL); the control file of a
**   partition lies under <database path>/<instance>/NODEnnnn/<database
**   directory>/, read on this host (db2utilIsThisHost) or through the
**   daemon of the partition's host.  A partition asked for is either read
**   or named as not read: ZORU432E gives the partition, its host and why
**   (no daemon answers on the host, the partition's directory or control
**   file does not exist, the control file cannot be read or holds a
**   damaged record, after ZORU338E or ZORU339E), and the request fails.  A
**   partition whose control file holds no such table space adds no record.
**   Returns the list of partition records (an olist made by
**   ficcontCreatePartList), or NULL when none was made; *prc receives 0,
**   the code of db2utilGetDBPath, SYSIBM_RC_NONODES, the first failure of
**   a partition (SYSIBM_RC_PARTITION when it could not be reached or has no
**   control file, else the code of the control-file reader; the other
**   partitions are still read), or SYSIBM_RC_NOCONT after ZORU343E when no
**   record was found.
*/
olist *sysibmGetContainers(ochar *pcharInstance, ochar *pcharUser, ochar *pcharDatabase, ochar *pcharTbsName,
                           int *prc, const obf *pobfWanted = nullptr);

#endif
