/*
** omsgs.h
**   Messages, traces and the message centre.  Every process of a run reports
**   through this module: messages (eight-character identifier, then text) go
**   to the sysprint listing, trace lines to one file per enabled trace
**   keyword.  Nothing is written by the reporting process itself: it posts
**   records on a SysV message queue read by one process, the message centre,
**   which omsgsInitModule forks.  The centre owns sysprint and the trace
**   files, and keeps a registry of SysV resources (shared memory, semaphore
**   sets, message queues) that it removes when the run ends, so that a
**   process that dies leaves nothing behind.
**
**   Messages may be deferred: held on a stack of texts and sent (or dropped)
**   later; the stack can be detached and installed again.
**
**   Every module that traces includes common/omsgsmod.h, which gives it a
**   private omsgsTrace bound to its own trace keyword.
**
**   Before omsgsInitModule the queue identifier is -1: posts fail harmlessly,
**   traces are dropped and messages are dropped or deferred, so code that
**   issues messages runs without a centre (unit tests).
**
**   Centre process (design note).
**     States: starting -> polling -> stopping -> gone.
**     starting: ignores SIGINT, SIGTERM and SIGHUP (it ends when the main
**       process tells it or has gone), swaps real and effective
**       identities, creates the registry segment and then the queue (owner
**       and group only), opens sysprint and one trace file per enabled
**       keyword.  The main process polls for the queue to appear and
**       gives up when the centre has died (waitpid WNOHANG).
**     receiving: waits in the receive, so that a record (the stop record
**       too) is handled as soon as it is posted.  SIGALRM interrupts the
**       wait once a second and at once when the main process ends (its
**       parent-death signal); the centre then checks that the main process
**       still exists (kill 0: only ESRCH, or a changed parent, counts as
**       gone) and, when it has gone, drains the queue without waiting.
**     stopping: on the stop record (type 9), a receive error, or the main
**       process gone and the queue drained.  Removes every registered
**       resource in registration order, closes the trace files and
**       sysprint, removes its queue, then the registry segment.
**     Invariants: one reader (the centre); the records of one sender keep
**       their order; records posted before the stop record are all handled.
**
**   The registry has a copy in a SysV shared-memory segment under the
**   queue's key (owner only), written by the centre as records 7 and 8
**   arrive and removed last at its end.  Shared-memory segments of the run
**   need no entry: each is marked for removal once attached and goes with
**   its last user.  When every process of a run was killed at once (SIGKILL
**   to its process group), nothing removed the semaphore sets, the queue
**   and that segment: a later run finds the segment (centre detached, main
**   process gone), removes what it lists, the run's queue and the segment,
**   and says so (omsgsClearEarlierRuns, ZORI161I).
**
**   A centre that ends without the stop record (killed) is noticed by the
**   senders: a post never waits on a full queue for a centre that has gone
**   (it pauses briefly between tries and looks at the centre each time).
**   The main process reaps the centre (in its own waits, through
**   omsgsCentreEnded, or in a post), removes the queue and says so with
**   ZORI160E; from then on every process writes its sysprint lines
**   directly (appended to the sysprint file, else standard error), traces
**   are dropped, and omsgsDestroyModule returns OMSGS_RC_LOST so that the
**   run ends non-zero; it then also removes what the registry segment
**   still lists, and the segment.
*/
#ifndef ZAV_COMMON_OMSGS_H
#define ZAV_COMMON_OMSGS_H

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <pthread.h>
#include <sys/types.h>

#include "common/omsgstab.h"

struct ochar;
struct ostack;
struct ostrdict;
struct UResourceBundle;

/* Reason codes of this module. */
#define OMSGS_RC_STARTED   0x198001   /* warning: module already started */
#define OMSGS_RC_QUEUE     0x19a001   /* error: message-queue failure */
#define OMSGS_RC_LOST      0x19a002   /* error: the centre ended before its stop record */
#define OMSGS_RC_SYSPRINT  0x19a003   /* error: sysprint lines not written whole (ZORU497E) */
#define OMSGS_RC_FORK      0x19c001   /* terminal: the centre cannot be forked */

/* Record types. */
#define OMSGS_TYPE_PRINT     1   /* sysprint line */
#define OMSGS_TYPE_TRACE     2   /* trace line, stamped by the centre */
#define OMSGS_TYPE_RAW       4   /* raw trace text */
#define OMSGS_TYPE_ENDTRACE  5   /* end of a module's trace: nothing to do */
#define OMSGS_TYPE_SYSPRINT  6   /* new sysprint file; the text is its path */
#define OMSGS_TYPE_STORE     7   /* register an IPC resource {kind, id} */
#define OMSGS_TYPE_DELETE    8   /* unregister an IPC resource */
#define OMSGS_TYPE_STOP      9   /* stop the centre */

/* IPC resource kinds of the registry. */
#define OMSGS_IPC_SHM  0   /* shared-memory segment */
#define OMSGS_IPC_SEM  1   /* semaphore set */
#define OMSGS_IPC_MSG  2   /* message queue */

/*
** Message record: the unit of the queue.  After the SysV type field (a long)
** comes the body, native byte order:
**
**   OFFSET  SIZE  DESCRIPTION
**      0      4   sender: process id (0 in sysprint lines and control records)
**      4      8   keyword, cut to eight characters, NUL-filled
**     12      1   NUL
**     13      3   alignment
**     16   4000   text, NUL-terminated; records 7 and 8 hold two 32-bit
**                 integers there: kind, then SysV identifier
**
** A record is sent with body size 17 + text length; records 7 and 8 with 25,
** record 9 with 17.  The centre receives with the full 4016-byte body.
*/
#define OMSGS_KEYWORD_SIZE 8
#define OMSGS_HEAD_SIZE    (4 + OMSGS_KEYWORD_SIZE + 1 + 3)    /* 16 */
#define OMSGS_TEXT_SIZE    4000
#define OMSGS_BODY_SIZE    (OMSGS_HEAD_SIZE + OMSGS_TEXT_SIZE)  /* 4016 */
#define OMSGS_OFF_SENDER   0
#define OMSGS_OFF_KEYWORD  4

struct omsgsMessage {
  long lType;                              /* SysV message type, 1 to 9 */
  unsigned char abHead[OMSGS_HEAD_SIZE];   /* sender and keyword block */
  char acText[OMSGS_TEXT_SIZE];            /* NUL-terminated text */
};
static_assert(offsetof(omsgsMessage, abHead) == sizeof(long), "record head follows the type");
static_assert(offsetof(omsgsMessage, acText) == sizeof(long) + OMSGS_HEAD_SIZE,
              "record text follows the head");
static_assert(sizeof(omsgsMessage) == sizeof(long) + OMSGS_BODY_SIZE, "record size");

/*
** Registry segment: the centre's registry where a later run can read it.
** A SysV shared-memory segment of OMSGS_REG_SIZE bytes under the queue's
** key, mode 0600, created by the centre before its queue:
**
**   OFFSET  SIZE  DESCRIPTION               (integers little-endian)
**      0      4   "ZAVR"
**      4      4   main process id of the run
**      8      4   capacity n: entries the segment holds (8189)
**     12      4   entries in use, at most n
**     16      8   time the run began, seconds since the epoch
**     24    8*n   entry i: kind (OMSGS_IPC_*), then SysV identifier
**
** An entry is written before the count grows; a removed entry is replaced
** by the last one before the count shrinks, so a centre killed in between
** leaves at worst an entry twice.  A registry that is full keeps further
** entries in the centre's memory only.
*/
#define OMSGS_REG_SIZE         65536
#define OMSGS_REG_MAGIC        "ZAVR"
#define OMSGS_REG_OFF_MAIN     4
#define OMSGS_REG_OFF_CAPACITY 8
#define OMSGS_REG_OFF_COUNT    12
#define OMSGS_REG_OFF_BEGIN    16
#define OMSGS_REG_OFF_ENTRIES  24
#define OMSGS_REG_ENTRY_SIZE   8
#define OMSGS_REG_CAPACITY     ((OMSGS_REG_SIZE - OMSGS_REG_OFF_ENTRIES) / OMSGS_REG_ENTRY_SIZE)   /* 8189 */

/* Module globals. */
extern int gmsgid;                         /* queue identifier; -1 before the centre's queue exists */
extern omsgsMessage gmsgsMessage;          /* the record filled by the trace functions */
extern pthread_mutex_t gmutexSync;         /* guards gmsgsMessage */
extern pthread_mutex_t gmutexFMTEDO;       /* guards the deferred push of omsgsFMTEDO */
extern UResourceBundle *gures_messages;    /* open message catalogue, or NULL */
extern uint16_t gccsidSysprint;            /* CCSID of sysprint texts; 0 until first needed */
extern int gboTorvelExist;                 /* 1 when "$TORVEL" is enabled */
extern const char gacTorvel[9];            /* "$TORVEL" */
extern ostrdict *gpstrdictTrace;           /* enabled keywords; NULL before omsgsInitModule */
extern int gboDefered;                     /* deferral on or off */
extern ostack *gpstackMessage;             /* deferred texts, oldest at the bottom; NULL when none */
extern char *gpacMsgsBuffer;               /* formatting buffer of the daemon library's messages */
extern unsigned long gulSizeMsgsBuffer;    /* its size */
extern char *gmsgsSysout;                  /* sysprint file name of omsgsOpenSysprint, or NULL */
extern FILE *gpfileSysPrint;               /* sysprint stream of omsgsOpenSysprint */

/*
** omsgsInitModule
**   Starts the message system in the calling process: builds the enabled
**   keyword set from the trace list (keywords each followed by one blank;
**   characters after the last blank are ignored), forks the centre and waits
**   until its queue exists, then opens the catalogue (pcBundle, pcLocale).
**   The queue key is made from iQueueId (the main process id, so that every
**   run has its own queue); pcQueuePath is not needed for it.  No bundle path
**   means no catalogue: the built-in texts are used.
**   iMode bit 0 set: sysprint files are opened for appending, else truncated.
**   Both quiet flags non-zero silence sysprint for the whole run.
**   *piCentre receives the centre's process id (-1 when already started).
**   Returns 0; 0x198001 when the module was started before in this process
**   (no second centre); 0x19c001 when the fork fails; 0x19a001 when the
**   queue cannot be reached or the centre died before creating it.
*/
int omsgsInitModule(const char *pcQueuePath, int iQueueId, const char *pcSysprint,
                    int iQuiet1, int iQuiet2, ochar *pcharTraceList, int iMode,
                    int *piCentre, const char *pcBundle, const char *pcLocale);

/*
** omsgsInitLanguage
**   Closes the catalogue and reopens it on pcBundle and pcLocale.  Returns 0.
*/
int omsgsInitLanguage(const char *pcBundle, const char *pcLocale);

/*
** omsgsInitMessageFileName
**   Asks the centre to continue sysprint in the file pcPath.  Returns 0.
*/
int omsgsInitMessageFileName(const char *pcPath);

/*
** omsgsStoreIPCResource, omsgsDeleteIPCResource
**   Register or unregister a SysV resource (OMSGS_IPC_*) for removal by the
**   centre at its end.  Return 0.
*/
int omsgsStoreIPCResource(int iKind, int iId);
int omsgsDeleteIPCResource(int iKind, int iId);

/*
** omsgsHandOver
**   Gives the run's queue and registry segment to uid and gid (the
**   identities the run's processes post with after an identity switch),
**   keeping their modes.  Returns 0, or -1 when either could not be
**   changed (the trace says which).
*/
int omsgsHandOver(uid_t uid, gid_t gid);

/*
** omsgsClearEarlierRuns
**   Looks for the registry segments of earlier runs that this process may
**   read: one whose centre has detached it and whose main process is gone
**   (or its number now names a process started after the run began).  For
**   each: the records 7 and 8 still in that run's queue are applied to its
**   list, every object listed that still exists and was made while the run
**   lived is removed, then the queue and the segment; ZORI161I says how
**   many of each were removed.  Returns the number of runs cleared.
*/
int omsgsClearEarlierRuns(void);

/*
** omsgsDestroyModule
**   Sends the stop record, waits for the centre, frees the enabled set and
**   the mutexes, closes the catalogue.  Nothing may be posted afterwards.
**   Returns OMSGS_RC_LOST when the centre ended before its stop record
**   (messages may have been lost), OMSGS_RC_SYSPRINT when it could not
**   write every sysprint line (the message file or standard error full or
**   failing: it said so with ZORU497E on standard error), else the centre's
**   exit status when it ended normally, else 0.
*/
int omsgsDestroyModule(int iCentre);

/*
** omsgsCentreEnded
**   For the process that started the centre and reaps its own children:
**   tells whether the reaped process iPid (wait status iStatus) is the
**   centre.  When it is, the centre's end is taken note of as described
**   above (queue removed, ZORI160E, direct sysprint).  Returns 1 for the
**   centre, 0 for any other process.
*/
int omsgsCentreEnded(int iPid, int iStatus);

/* omsgsCentreLost: 1 once the centre has ended before its stop record, else 0. */
int omsgsCentreLost(void);

/*
** omsgsFMTEDO
**   Issues one message.  pcFormat is a message-id global (or any format whose
**   first eight characters are an identifier); a catalogue text replaces it
**   when its conversions match.  Deferred: the formatted text is pushed on the
**   deferred stack; else it is posted as a sysprint line.  Returns 0.
*/
int omsgsFMTEDO(const char *pcFormat, ...) __attribute__((format(printf, 1, 2)));

/*
** omsgsPrint
**   Issues a ready NUL-terminated text as a sysprint line, or, deferred,
**   pushes a copy of its first iLength bytes.
*/
void omsgsPrint(const char *pcText, int iLength);

/*
** omsgsPostMessage
**   Sends pmsg with body size iTextLength + 17, waiting while the queue is
**   full and the centre lives.  Returns the msgsnd result (-1 when there is
**   no queue or the centre has gone).
*/
int omsgsPostMessage(omsgsMessage *pmsg, int iTextLength);

/* omsgsSetDefered: turns deferral on (non-zero) or off; returns the previous setting. */
int omsgsSetDefered(int boOn);

/*
** omsgsFlushDefered
**   Sends every deferred text, oldest first, as a sysprint line, frees them
**   and the stack.  Deferral stays as it was.
*/
void omsgsFlushDefered(void);

/* omsgsExportDefered: detaches and returns the current stack (NULL when none). */
ostack *omsgsExportDefered(void);

/*
** omsgsRestaureDefered
**   Makes pstack (NULL allowed) the current stack; a different current stack
**   is first destroyed with its texts, unsent.
*/
void omsgsRestaureDefered(ostack *pstack);

/* omsgsStack: pushes a copy of the first iLength bytes of pcText, deferral or not. */
void omsgsStack(const char *pcText, int iLength);

/*
** omsgsOpenSysprint, omsgsCloseSysprint
**   For a message system that writes sysprint itself: open gmsgsSysout for
**   appending as gpfileSysPrint (standard error when the name is NULL);
**   returns 0, or 8 when the file cannot be opened.  Close it unless it is
**   standard error.
*/
int omsgsOpenSysprint(void);
void omsgsCloseSysprint(void);

/*
** omsgsTraceTo
**   Posts a raw trace text for pcKeyword.  A keyword the enabled set does
**   not hold is not posted (before the message system has started, the
**   centre decides and drops it).  Returns the msgsnd result, 0 when the
**   keyword is NULL or not enabled.
*/
int omsgsTraceTo(const char *pcKeyword, const char *pcFormat, ...) __attribute__((format(printf, 2, 3)));

/*
** omsgsDumpTo, omsgsVDumpTo
**   Where a module's dump goes: written to pfile when it is given, else
**   posted as raw trace text for pcKeyword as omsgsTraceTo does (nothing
**   for a NULL keyword).  Returns 0, or -1 when the text could not be made
**   or sent.
*/
int omsgsDumpTo(FILE *pfile, const char *pcKeyword, const char *pcFormat, ...)
    __attribute__((format(printf, 3, 4)));
int omsgsVDumpTo(FILE *pfile, const char *pcKeyword, const char *pcFormat, va_list va);

/* Function entry and exit hooks, called when gboTorvelExist is 1.  They do nothing. */
void omsgsTraceInIntern(const char *pcFunction, int iValue);
void omsgsTraceOutIntern(const char *pcFunction, int iResult);

/*
** Services of the per-module trace copies (common/omsgsmod.h).
**
** omsgsTraceCheck
**   Returns -1 while the enabled set does not exist, 1 when pcKeyword is
**   enabled, 0 when it is not.
** omsgsTracePostV
**   Fills gmsgsMessage (type iType, pcKeyword cut to eight, getpid()) under
**   gmutexSync, formats the text into it (cut to the record) and posts it.
**   Returns the msgsnd result.
*/
int omsgsTraceCheck(const char *pcKeyword);
int omsgsTracePostV(int iType, const char *pcKeyword, const char *pcFormat, va_list va);

#endif
