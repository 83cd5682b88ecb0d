/*
** ficsms.h
**   Page mapping of an SMS table space: a table's files (one per container,
**   named "%s/SQL%.5d%s" from the container path, the file id and ".DAT",
**   ".LF" or ".LB") take its extents round-robin, starting at container
**   file id mod containers.  No state; any process or thread.
*/
#ifndef ZAV_STORAGE_FICSMS_H
#define ZAV_STORAGE_FICSMS_H

#include <cstdint>

/* Name format of a table's file in an SMS container. */
#define FICSMS_FILE_FORMAT "%s/SQL%.5d%s"
#define FICSMS_EXT_DAT ".DAT"
#define FICSMS_EXT_LF  ".LF"
#define FICSMS_EXT_LB  ".LB"

/* SMS access configuration. */
struct ficsmsConf {
  int32_t ilRemote;       /* files read through the daemon */
  int32_t ilExtentSize;   /* pages */
  int32_t ilContainers;
};

/*
** ficsmsIdentifyPage
**   Table page ilPage of the table with file id ilFileId: container
**   (f + p div E) mod k (*pilCont), page (p div E div k) x E + p mod E of
**   that container's file.
**   Returns the page within the file, or -1 (*pilCont -1) for a negative
**   page or file id, or an extent size or container count below 1.
*/
int32_t ficsmsIdentifyPage(const ficsmsConf *pconf, int32_t ilFileId, int32_t ilPage, int32_t *pilCont);

#endif
