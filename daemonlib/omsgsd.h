/*
** omsgsd.h
**   The daemon library's message module: the interface of common/omsgs.h,
**   built without a message centre.  Messages are written by the issuing
**   process itself: to the sysprint file (gpfileSysPrint: the file named by
**   omsgsInitModule or omsgsInitMessageFileName, standard error when none
**   is named), or, when no sysprint stream is open, to the system log
**   (identity "db2zav", LOG_PID, facility LOG_DAEMON, priority LOG_ERR).
**   Traces go to one file per enabled keyword in the current directory,
**   named exactly like the keyword; each traced module writes through its
**   own stream (daemonlib/common/omsgsmod.h), and every entry is numbered
**   from one counter shared by the whole library.  There is no queue and no
**   IPC registry: omsgsStoreIPCResource and omsgsDeleteIPCResource do
**   nothing, omsgsPostMessage fails as it does without a queue.
**
**   States: uninitialised (no keyword set; messages to the system log unless
**   a sysprint stream is open; a module helper that runs now never traces)
**   -> omsgsInitModule -> messages to sysprint, traces to keyword files
**   -> omsgsDestroyModule (trace files closed, set freed, catalogue closed;
**   sysprint stays open) -> omsgsInitModule again builds a new set.
**
**   One thread of one process: the formatting buffer, the deferred stack,
**   the keyword set and the counter are shared without locks.  Sysprint is
**   flushed after every message, so that a process forked by the daemon
**   never inherits unwritten lines.
**
**   Below: what the per-module trace helpers share; everything else is
**   declared by common/omsgs.h.
*/
#ifndef ZAV_DAEMONLIB_OMSGSD_H
#define ZAV_DAEMONLIB_OMSGSD_H

#include <cstdarg>
#include <cstdio>

/* Line counter of all trace entries of the library; each entry takes the next value. */
extern unsigned long gulTimeLine;

/* Number of the current keyword set; changes at every omsgsInitModule and omsgsDestroyModule. */
extern unsigned long gulTraceSet;

/*
** omsgsdTraceOpen
**   First step of a module's trace helper for keyword pcKeyword: when the
**   keyword is enabled, gives the module a stream of its own on the
**   keyword's file: when its value in the set is still -1 the file is
**   created exclusively (_msgsCreateTrace: never through a link or into a
**   file put there before), else the open file of the stream stored for
**   the keyword is shared, appending; stores the new stream as the
**   keyword's value and returns it through *ppfile (NULL when the file
**   cannot be opened), with the current set number in *pulSet.
**   Returns -1 when there is no keyword set, 0 when the keyword is not
**   enabled, 1 when it is.
*/
int omsgsdTraceOpen(const char *pcKeyword, FILE **ppfile, unsigned long *pulSet);

/*
** omsgsdTraceWriteV
**   Writes one trace entry to pfile: with boNumbered, "%6.6i " of the next
**   counter value first, then the text formatted from pcFormat.
**   Returns 0, or -1 when the stream refused the text.
*/
int omsgsdTraceWriteV(FILE *pfile, int boNumbered, const char *pcFormat, va_list va);

#endif
