/*
** osignal.h
**   Interruption of a run by the signals that ask a program to stop: SIGINT
**   (a terminal's Ctrl-C), SIGTERM (kill, timeout, a scheduler stopping a
**   job) and SIGHUP (the session ends).  A process that must end its part of
**   the run in order (the main process, a SELECT child) installs the
**   handlers; the first of these signals is noted, sent on at once to every
**   child the process forked through osignalFork, and the blocking waits of
**   the record channels and of the run step give up when they see the note,
**   so that the process reaps its children, releases what it holds and ends
**   with osignalReason().  A child forked through osignalFork starts with the
**   actions the program found at its start (normally: the signal ends it),
**   unless it installs the handlers itself.  A signal the program was started
**   with ignored (nohup, a background job of a script) stays ignored in every
**   process.  The message centre ignores the three signals: it ends when the
**   main process tells it or has gone.
**
**   Per process (design note).
**     States: plain -> installed (osignalInstall) -> interrupted (first
**     signal; the note keeps that signal number).  A child of osignalFork
**     starts plain, with no children listed.
**     The list of children is changed only with the three signals blocked,
**     so the handler, which only reads it and calls kill, never sees it half
**     made.  Invariants: a listed child forked after the note is sent the
**     signal as soon as it is listed; a reaped child is taken off the list
**     (osignalForget) before its process id can be used again.
**     Single-threaded: call these from the process's one thread.
*/
#ifndef ZAV_COMMON_OSIGNAL_H
#define ZAV_COMMON_OSIGNAL_H

#include <sys/types.h>

/*
** Reason code of a run ended by a signal (module 0x1B): OSIGNAL_RC_INTERRUPTED
** with the signal number in its low seven bits, so that the process exits
** with 128 + the signal number, as a shell reports a command a signal ended.
*/
#define OSIGNAL_CODE_BASE      0x1BA080
#define OSIGNAL_CODE_MASK      0xFFFF80   /* the code without its signal number */
#define OSIGNAL_RC_INTERRUPTED OSIGNAL_CODE_BASE

/* The codes of the signals a run stops on, as the exit-status table lists them. */
#define OSIGNAL_RC_SIGHUP  0x1BA081   /* the run was stopped by SIGHUP, its session ended (ZORU495E) */
#define OSIGNAL_RC_SIGINT  0x1BA082   /* the run was stopped by SIGINT, Ctrl-C (ZORU495E) */
#define OSIGNAL_RC_SIGTERM 0x1BA08F   /* the run was stopped by SIGTERM: kill, timeout, a job scheduler (ZORU495E) */

/*
** osignalInstall
**   Installs the handlers of SIGINT, SIGTERM and SIGHUP in the calling
**   process (a signal found ignored keeps being ignored); interrupted
**   system calls are not restarted, so a blocking call returns EINTR.
**   Clears the note.  Returns 0, or -1 when sigaction failed.
*/
int osignalInstall(void);

/* osignalIgnore: the calling process ignores SIGINT, SIGTERM and SIGHUP (the message centre). */
void osignalIgnore(void);

/* osignalCaught: the number of the first signal caught since osignalInstall, else 0. */
int osignalCaught(void);

/* osignalReason: OSIGNAL_RC_INTERRUPTED | osignalCaught() once a signal was caught, else 0. */
int osignalReason(void);

/* osignalIsInterrupted: 1 when iCode is a code made by osignalReason, else 0. */
int osignalIsInterrupted(int iCode);

/* osignalName: "SIGINT", "SIGTERM", "SIGHUP", or "SIGNAL" for any other number. */
const char *osignalName(int iSignal);

/*
** osignalFork
**   fork() with the three signals blocked around it.  The parent lists the
**   child (and sends it the noted signal when one was caught already); the
**   child forgets its parent's list and note and takes back the actions the
**   program started with.  Returns fork's result: the child's process id,
**   0 in the child, -1 with errno when fork failed.
*/
pid_t osignalFork(void);

/* osignalForget: takes a reaped child off the list (nothing when it is not listed). */
void osignalForget(pid_t pid);

#endif
