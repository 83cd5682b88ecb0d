/*
** oreason.h
**   Reason codes: the 32-bit result of nearly every function.  0 is success;
**   otherwise module << 16 | 0x8000 | severity << 12 | reason, severity 0
**   information, 1 warning, 2 error, 3 severe, 4 terminal.  The generic codes
**   below carry no 0x8000 bit and severity 0.  The user sees the return code
**   (code & 0x7000) >> 10 and the process exits with the code's low byte.
*/
#ifndef ZAV_COMMON_OREASON_H
#define ZAV_COMMON_OREASON_H

#include <cstdint>

#define ORC_NOMEM   0x10001   /* no memory */
#define ORC_INVALID 0x10002   /* invalid object or argument */

/* Builds a reason code from its parts. */
#define ORC_MAKE(module, severity, reason) \
  ((int)(((module) << 16) | 0x8000 | ((severity) << 12) | (reason)))

/* Severity bits of a code, 0 to 4. */
inline int oreasonSeverity(int iCode) { return (iCode & 0x7000) >> 12; }

/* The return code shown to the user: 0, 4, 8, 12 or 16. */
inline int oreasonReturnCode(int iCode) { return (iCode & 0x7000) >> 10; }

/* True for a code of error severity or worse. */
inline bool oreasonIsError(int iCode) { return (iCode & 0x7000) > 0x1000; }

#endif
