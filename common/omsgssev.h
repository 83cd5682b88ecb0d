/*
** omsgssev.h
**   Severity watch of a run: counts the messages of error severity or worse
**   (identifiers ending in E, S or F) that the processes of a run put on
**   sysprint, so that the end of the run can refuse to say success after
**   one of them, whichever process issued it.  The message module calls
**   omsgssevNote for every ready sysprint text (common/omsgs.cpp); the main
**   process asks omsgssevEndCode before it says success.
**
**   The count lives in one shared anonymous page that the main process maps
**   with omsgssevStart before it forks the processes of the run; every
**   process forked after that adds to the same count (an atomic add in the
**   shared page, so processes and threads may note at once).  Before
**   omsgssevStart, or when the page cannot be mapped, each process counts
**   for itself only.
**
**   A text counts when it begins with a message identifier: three capital
**   letters, four capital letters or digits and the severity letter, then a
**   blank, a line end or the end of the text.  Lines of other kinds (the
**   listing of the control file, DB2's own SQLnnnnN texts, usage) never
**   count.
*/
#ifndef ZAV_COMMON_OMSGSSEV_H
#define ZAV_COMMON_OMSGSSEV_H

#include <cstddef>
#include <cstdint>

/* Reason code of a run that issued an error message and had no other failure
   (module 0x19, the message system's). */
#define OMSGSSEV_RC_ERRORS 0x19a0e5

/*
** omsgssevStart
**   Maps the shared page and starts the count from 0 (a page mapped before
**   is kept and its count cleared).  Call it in the main process before it
**   forks the processes of the run.  Returns 0, or ORC_NOMEM when the page
**   cannot be mapped (each process then counts for itself).
*/
int omsgssevStart(void);

/*
** omsgssevSeverity
**   The severity letter of the identifier that begins the ulLength bytes of
**   pcText ('I', 'W', 'E', 'S' or 'F'), or 0 when the text does not begin
**   with a message identifier.
*/
char omsgssevSeverity(const char *pcText, size_t ulLength);

/* omsgssevNote: counts the text when its identifier's severity is E, S or F. */
void omsgssevNote(const char *pcText, size_t ulLength);

/* omsgssevErrors: the messages of error severity or worse counted so far. */
int64_t omsgssevErrors(void);

/*
** omsgssevEndCode
**   What the end of a run must take into account besides its own code:
**   OMSGS_RC_LOST once the message centre has ended before its stop record
**   (messages may be lost), else OMSGSSEV_RC_ERRORS when a message of error
**   severity or worse was issued, else 0.
*/
int omsgssevEndCode(void);

#endif
