/*
** ficsms.h
**   Page mapping of an SMS table space: a table's files (one per container,
**   named "%s/SQL%.5d%s" from the container path, the file id and ".DAT",
**   ".LF" or ".LB") take its extents round-robin, starting at container
**   file id mod containers.  The file functions build, check and open a
**   table's files in every container, on this host or through the daemon
**   of the partition's host; a container without the file is normal (the
**   table's extents need not reach it).  No state; any process or thread.
*/
#ifndef ZAV_STORAGE_FICSMS_H
#define ZAV_STORAGE_FICSMS_H

#include <cstdint>

#include "common/oreason.h"

struct ficcont;

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

/* _ficsmsMapPage: ficsmsIdentifyPage over a configuration passed untyped (a reader's page mapping). */
int32_t _ficsmsMapPage(const void *pConf, int32_t ilFileId, int32_t ilPage, int32_t *pilCont);

/*
** ficsmsInitConf
**   The SMS access configuration of the partition record.  Returns it (free
**   with free()), or NULL without a record or when memory runs out.
*/
ficsmsConf *ficsmsInitConf(const ficcont *pficcont);

/*
** ficsmsControlFiles
**   Builds and checks the table's file (FICSMS_FILE_FORMAT with the file id
**   and pcExtension) in every container: ppcNames[i] gets the name,
**   piAccess[i] the result (0 readable, -1 absent, -2 denied; remote:
**   through the daemon as pcUser, which also sizes the file); *pilPages the
**   sum of the pages of the files found.  Both arrays have one entry per
**   container (the caller's; piAccess malloc'ed, freed by ficsmsCloseFiles).
**   Returns 1 when at least one file exists and none is denied (names
**   kept for ficsmsOpenFiles); else 0 with every name freed, after
**   ZORU318E for the file denied, or ZORU319E for every container when no
**   container holds the file (a trace when the record lists no container).
*/
int ficsmsControlFiles(const ficcont *pficcont, int32_t ilFileId, const char *pcExtension, const char *pcUser,
                       char **ppcNames, int *piAccess, int32_t *pilPages);

/*
** ficsmsOpenFiles
**   Opens each file whose access result is 0 (ZORU347E and -1 when it
**   cannot be opened) and frees every name.  Returns the descriptors, -1
**   for absent files (free with ficsmsCloseFiles), or NULL when memory runs
**   out (the names are freed all the same).
*/
int *ficsmsOpenFiles(const ficcont *pficcont, const char *pcUser, char **ppcNames, const int *piAccess);

/* ficsmsCloseFiles: closes the open descriptors of accessible files and frees both arrays; NULL accepted. */
void ficsmsCloseFiles(const ficcont *pficcont, int *piFd, int *piAccess);

/*
** ficsmsOpenLFFiles / ficsmsOpenLOBFiles
**   Check and open the ".LF" / ".LB" file of table ilFileId in every
**   container.  *piOk = 1 when at least one opened and none was denied;
**   else 0, after ZORU318E for a denied file and ZORU319E for each absent
**   one.  *ppiAccess gets the access results (malloc'ed, one per
**   container).  Return the descriptors (-1 where no file opened; free with
**   ficsmsCloseFiles), or NULL without containers or memory (*piOk 0).
*/
int *ficsmsOpenLFFiles(int32_t ilFileId, const ficcont *pficcont, int *piOk, int **ppiAccess, const char *pcUser);
int *ficsmsOpenLOBFiles(int32_t ilFileId, const ficcont *pficcont, int *piOk, int **ppiAccess, const char *pcUser);

#endif
