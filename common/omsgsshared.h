/*
** omsgsshared.h
**   What the program's message system (omsgs.cpp, with the message centre)
**   and the daemon library's (daemonlib/omsgsd.cpp, without it) have in
**   common: the deferred-message stack, the message catalogue, the dump and
**   trace-check wrappers and the function hooks.  Both work
**   on the module globals declared in common/omsgs.h, which each variant
**   defines.  Private to the two message modules.
*/
#ifndef ZAV_COMMON_OMSGSSHARED_H
#define ZAV_COMMON_OMSGSSHARED_H

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

#endif
