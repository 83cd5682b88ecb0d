/*
** zorctrlout.h
**   Check of the files a request writes, at the end of the control step:
**   no two writers of the request may write one file.  Every SELECT that
**   will run names its files: the data files of its OUTPUT items (with
**   FILEMAXSIZE also the files "<name without extension>.001", ".002" ...
**   it rotates into; an ON REMOTE HOST item one file per partition,
**   "_<partition>" before the extension), the LOB files of its LOBFILE
**   names in each LOB directory (read directly, per partition p
**   "<dir>/<name>_<p>_<n>" or "<dir>/<name>_<ppp>.<n>"; through DB2
**   "<dir>/<name>.<n>"), and the run's message file (-m).  Two SELECTs
**   whose LOB files share a directory and a LOBFILE name clash unless they
**   read different partitions.  Two of them are the same file when their paths are equal
**   once made absolute and normalised (".", "..", repeated slashes, the
**   directory's symbolic links resolved), or when they are one existing
**   file (same device and inode: a hard or symbolic link).  Files on
**   another host (OUTPUT ON HOST) are compared with those of the same host
**   only.  Paths that exist and are no regular file (/dev/null, a FIFO) are
**   not compared: the system gives each writer its own stream there.
**
**   Standard output is no file of this check: the SELECTs that write it
**   take turns at run time (io/zor3write.h).
**
**   Runs in the main process, once, after every UNLOAD block was checked;
**   reads the task tree and changes nothing in it.  Trace keyword "$CTRL".
*/
#ifndef ZAV_CONTROL_ZORCTRLOUT_H
#define ZAV_CONTROL_ZORCTRLOUT_H

#include "common/oreason.h"

struct zorcontrol;

/* Two writers of the request would write one file. */
#define ZORCTRLOUT_RC_SAMEFILE ORC_MAKE(0x105, 2, 0xe7)   /* 0x105a0e7 */

/*
** zorctrloutCheckFiles
**   Compares the files of every SELECT of the request that is not in
**   error, and the message file.  The first two found to be one file are
**   named with ZORU491E (what each belongs to, and the file).
**   Returns 0, ZORCTRLOUT_RC_SAMEFILE, or ORC_NOMEM.
*/
int zorctrloutCheckFiles(zorcontrol *pcontrol);

#endif
