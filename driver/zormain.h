/*
** zormain.h
**   Entry of the db2zav command.  mainRun runs the whole life of one
**   invocation in the main process and never returns: it starts the message
**   system and the code-page set-up, reads the command line, builds the
**   PARMLIB task that roots every request, switches identities so that
**   DB2's files are read as the DB2 instance user while output is written
**   as the caller (or the --identity user), hands the one request to the
**   request dispatch, and ends every path the same way: a non-zero final
**   reason code is reported with ZORU366I, the message system is stopped and
**   the process exits with the reason code (the shell sees its low byte);
**   a request shipped to another host exits with the remote run's status.
**
**   Start-up states: deferred start-up (messages held) -> options known ->
**   checked -> PARMLIB task built -> identities switched -> one request ->
**   stop.  Every exit after the message centre has started stops it first,
**   except the exit on a failure to start it.  Single-threaded; the message
**   centre is forked before the identity switch and keeps its identities.
**   After the switch, the IPC objects of earlier runs that were killed with
**   all their processes are removed (omsgsClearEarlierRuns, ZORI161I).
**
**   Signals: SIGINT, SIGTERM and SIGHUP are caught from the start
**   (common/osignal.h).  The request then launches nothing more, sends the
**   signal on to its children and reaps them; the run ends with ZORU495E
**   naming the signal and the reason code OSIGNAL_RC_INTERRUPTED | signal,
**   so the process exits with 128 + the signal number.  A signal that comes
**   once the request has done its work changes nothing.
*/
#ifndef ZAV_DRIVER_ZORMAIN_H
#define ZAV_DRIVER_ZORMAIN_H

#include <cstdint>

struct argsOptions;
struct zortask;

/* Reason codes (module 0x107). */
#define MAIN_RC_BADUSER   0x107A004   /* instance user unknown */
#define MAIN_RC_SETID     0x107A005   /* identity change refused */
#define MAIN_RC_NOCFG     0x107A006   /* no configuration file */
#define MAIN_RC_NODISPATCH 0x107A0FF  /* a step of the request missing from this build */

/* Version text of ZORU414I. */
extern const char gacMainVersion[];

/* Rows of the usage text: fifteen of 64 bytes. */
#define MAIN_USAGE_ROWS 15
#define MAIN_USAGE_ROW_SIZE 64
extern const char gaacMainUsage[MAIN_USAGE_ROWS][MAIN_USAGE_ROW_SIZE];

/*
** mainRun
**   Runs start-up, the request and the stop for the argument vector and
**   ends the process with exit(final reason code).  Never returns.
*/
[[noreturn]] void mainRun(int argc, char **argv);

/*
** _mainEnd
**   Ends with reason iReason: ZORU366I when it is not zero, the message
**   system stopped (centre iCentre), exit(iReason).  Never returns.
*/
[[noreturn]] void _mainEnd(int iReason, int iCentre);

/*
** _mainBuildUsage
**   The usage text for the program name pcProgram, as one new
**   NUL-terminated text the caller frees; NULL when memory runs out.
*/
char *_mainBuildUsage(const char *pcProgram);

/*
** _mainPicFlags
**   The PIC flags of the numeric edit: pcMask the four characters of ULMASK,
**   pcPic the seven characters of ULPIC (neither NUL-terminated).
**   Returns the flags (0xC112 for "*.* " and "-LEAD. ").
*/
int32_t _mainPicFlags(const char *pcMask, const char *pcPic);

/*
** _mainCreateParmlib
**   Creates the task named PARMLIB, stores it in the options block and adds
**   the atoms taken from the parameter library (members OPTUNL, OPTDB2) and
**   the fixed ones.  REQUIRES: the atom-name table.
**   Returns the task, or NULL when memory runs out (nothing is stored then).
*/
zortask *_mainCreateParmlib(argsOptions *pargs);

/*
** _mainChangeUsers
**   Identity switch and instance set-up: real identity the instance user
**   (local request) or the caller (request for another host), effective
**   identity the --identity user or the caller; then DB2INSTANCE is set and
**   the instance checked (local request).  --identity is honoured only when
**   the caller is root or, for a local request, the instance user.
**   Returns 0; MAIN_RC_BADUSER after ZORU354E (nothing changed);
**   MAIN_RC_SETID after ZORU328E (identity refused, unknown --identity user,
**   or the switch failed); the instance check's code after ZORU355E.
*/
int _mainChangeUsers(argsOptions *pargs);

/*
** _mainDispatch
**   The one request of the invocation (driver/zormaindisp.h): the -f or the
**   -t request; with neither (-c alone) 0.  Returns the request's final
**   reason code.
*/
int _mainDispatch(argsOptions *pargs);

#endif
