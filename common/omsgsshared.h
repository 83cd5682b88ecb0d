/*
** omsgsshared.h
**   The message core of the program's message system (omsgs.cpp, with the
**   message centre) and the daemon library's (daemonlib/omsgsd.cpp, without
**   it): formatting, the catalogue, the deferred-message stack, the split of
**   the trace list into the keyword set, sysprint's opening, and the
**   interface functions whose only difference is where a text goes.  Each
**   variant says that through two functions it defines: _msgsEmit (a ready
**   message) and _msgsTraceRawV (raw trace text of a keyword).  Both work on
**   the module globals declared in common/omsgs.h, which each variant
**   defines.  Private to the two message modules.
*/
#ifndef ZAV_COMMON_OMSGSSHARED_H
#define ZAV_COMMON_OMSGSSHARED_H

#include <cstdarg>
#include <cstdio>
#include <cstddef>
#include <cstdint>
#include <string>

struct ochar;
struct ostack;

/* Frees every text of a deferred stack and the stack. */
void _msgsDestroyStack(ostack *pstack);

/* Pushes a malloc'ed copy of the first ulLength bytes of pcText on the
   deferred stack, creating it with 20 slots when there is none. */
void _msgsPushCopy(const char *pcText, size_t ulLength);

/* Argument signature of a printf format; false for a format the check
   does not vouch for. */
bool _msgsSignature(const char *pc, std::string &strSig);

/* True when pcCatalogue consumes the same arguments, in the same order, as pcBuiltin. */
bool _msgsSameConversions(const char *pcCatalogue, const char *pcBuiltin);

/* CCSID of sysprint texts, kept once known; 0 when unknown. */
uint16_t _msgsSysprintCCSID(void);

/* The catalogue text for the identifier that starts pcFormat, in the
   sysprint CCSID, as a new string object, or NULL. */
ochar *_msgsCatalogueText(const char *pcFormat);

/* Opens the catalogue, closing the open one; no bundle path means none. */
void _msgsOpenCatalogue(const char *pcBundle, const char *pcLocale);

/*
** _msgsCreateTrace
**   Creates the trace file pcName in the current directory for writing:
**   exclusively (O_CREAT | O_EXCL | O_NOFOLLOW, mode 0644), so that neither
**   a symbolic link nor a file put there beforehand is written through.  A
**   name already there is removed first (unlink removes a link itself,
**   never its target) and the creation tried once more.
**   Returns the stream, or NULL when the file cannot be made.
*/
FILE *_msgsCreateTrace(const char *pcName);

/* Formats into a std::string of exactly the needed length; false when
   vsnprintf refuses the format. */
bool _msgsFormat(std::string &str, const char *pcFormat, va_list va);

/* Issues one ready message text: pushed on the deferred stack (under
   gmutexFMTEDO) while messages are deferred, else handed to _msgsEmit. */
void _msgsIssue(const char *pcText, size_t ulLength);

/*
** _msgsBuildTraceSet
**   Makes gpstrdictTrace, the set of enabled keywords, from a trace list:
**   every keyword followed by a blank, stored with the value -1 (nothing
**   opened yet); sets gboTorvelExist when $TORVEL is among them.  The old
**   set must have been freed.  An empty set for a NULL or invalid list.
*/
void _msgsBuildTraceSet(ochar *pcharTraceList);

/* Where the variant's texts go (each message module defines both). */
/* _msgsEmit: one ready message text of ulLength bytes (NUL-terminated). */
void _msgsEmit(const char *pcText, size_t ulLength);
/* _msgsTraceRawV: raw trace text for pcKeyword (not NULL); 0, or -1 when it
   could not be formatted or sent. */
int _msgsTraceRawV(const char *pcKeyword, const char *pcFormat, va_list va);

#endif
