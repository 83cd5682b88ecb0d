/*
** zormaindisp.h
**   The one request of a db2zav invocation, after start-up (driver/zormain.h):
**   the control file of -f (listed to sysprint, parsed, expanded,
**   authorised, checked and run), the one table of -t (a request tree built
**   without parsing, authorised, checked and run), or the shipping of the
**   control file to the network daemon of the host named by --host.  With
**   neither -f nor -t the request is empty and its result is 0.
**
**   Order of a local request: parse (or build) -> control object ->
**   expansion (-f only) -> authorisation -> control step -> DB2 connection
**   closed -> run step (or ZORU426I under -n).  The first non-zero reason
**   code ends the request and becomes the final reason code of the run.
**
**   The task tree, the parser context, the control-file stream and the
**   control object are never freed: they live until the process ends, and
**   the run step's children inherit them.  Single-threaded; the DB2
**   connection of the main process is closed before anything is forked.
*/
#ifndef ZAV_DRIVER_ZORMAINDISP_H
#define ZAV_DRIVER_ZORMAINDISP_H

struct argsOptions;
struct ostream;
struct zorcontrol;
struct zortask;

/* Reason codes (module 0x107). */
#define MAIN_RC_NOTAUTH  0x107A001   /* DB2 user or OS group not authorised */
#define MAIN_RC_NOSYSIN  0x107A002   /* the control file cannot be read */
#define MAIN_RC_SYNTAX   0x107A003   /* syntax error in the control file */
#define MAIN_RC_NOSAVE   0x107A007   /* the other host did not store the control file */
#define MAIN_RC_NODAEMON 0x107A008   /* the other host has no daemon (ZORU358W) */
#define MAIN_RC_REFUSED  0x107A009   /* the other host's daemon refused or failed the request (ZORU450E) */
#define MAIN_RC_NOLIST   0x107C000   /* the control file cannot be listed (ignored) */

/* Mark of a SELECT * column chain (pData word), "STA" packed. */
#define MAIN_SELECT_STAR 0xE2E3C1u

/* Bytes read per piece of the listing (a piece is at most one less). */
#define MAIN_LIST_BUFFER 134

/*
** _mainFileRequest
**   The request of -f: the control file ("stdin", the whole name, reads
**   standard input and is not listed; any other file is listed unless -l
**   was given or the request is for another host), then either the remote
**   request or parse, expansion and local execution.
**   Returns 0; MAIN_RC_NOSYSIN after ZORU001E; MAIN_RC_SYNTAX after the
**   parser's messages and ZORU333E (also when the parser recovered);
**   ORC_NOMEM; or the code of the parser set-up, the expansion, the
**   remote request or the local execution.
*/
int _mainFileRequest(argsOptions *pargs);

/*
** _mainBuildTaskGlobal
**   The request tree of -t: GLOBAL (TASKTYPE 5) -> one unnamed UNLOAD
**   block -> SELECT with TBNAME, TBQUALIFIER (only with a qualifier),
**   SELECTSQL ("SELECT * FROM q.t" or "SELECT * FROM t"; a name given in
**   double quotes stays quoted there, its inner quotes doubled) and SELECT
**   (an empty column chain marked MAIN_SELECT_STAR).  REQUIRES: the
**   atom-name table.
**   Returns the GLOBAL task (the caller owns the tree), or NULL when memory
**   runs out (nothing is left allocated then).
*/
zortask *_mainBuildTaskGlobal(argsOptions *pargs);

/*
** _mainExecuteLocal
**   Authorisation, control step, closing of the main process's DB2
**   connection, then the run step, or ZORU426I instead under -n.  The run
**   step runs only when the control step returned exactly 0.
**   Returns 0, or the first non-zero code of those steps.
*/
int _mainExecuteLocal(argsOptions *pargs, zorcontrol *pcontrol);

/*
** _mainControlAuth
**   With a USERNAME atom (option -u): for each UNLOAD block in order, the
**   connection to its DBNAME as that user (left open for the control step)
**   and the check that the user holds SYSADM or DBADM.  Without one: the
**   effective group must be the primary group of INSTANCE_USER.  A GLOBAL
**   task without UNLOAD blocks passes.
**   Returns 0; MAIN_RC_NOTAUTH after ZORU329E (DB2 user) or ZORU330E (OS
**   group); or the connection's code.
*/
int _mainControlAuth(zortask *ptaskGlobal);

/*
** _mainExecuteRemote
**   Ships the control-file text to the daemon of the --host host and has it
**   run db2zav there with the forwarded arguments; the remote messages are
**   copied to sysprint as they arrive and the remote run's exit status is
**   kept in giMainRemoteStatus, which the program then ends with.
**   Returns 0 once the remote run has ended; MAIN_RC_NODAEMON after
**   ZORU358W when the host has no daemon; MAIN_RC_NOSAVE (after ZORU450E)
**   when the control file was not stored there; MAIN_RC_REFUSED after
**   ZORU450E when the daemon refused the conversation or the run, or gave
**   no exit status.
*/
int _mainExecuteRemote(argsOptions *pargs, ostream *pstream);

/* Exit status of the run a shipped request started on another host; -1
   while none has ended. */
extern int giMainRemoteStatus;

/*
** _mainCopySysinToSysprint
**   Lists the control file to sysprint: a ruler of columns 1 to 132, then
**   each piece read by fgets into MAIN_LIST_BUFFER bytes as a six-digit
**   number, a blank and the piece, then one empty line.
**   Returns 0, or MAIN_RC_NOLIST when the file cannot be opened (nothing is
**   listed then).
*/
int _mainCopySysinToSysprint(const char *pcPath);

/*
** _mainListingRuler
**   The ruler line of the listing, newline included (144 characters).
*/
const char *_mainListingRuler(void);

#endif
