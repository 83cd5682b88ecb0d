/*
** oreason.h
**   Reason codes: the 32-bit result of nearly every function.  0 is success;
**   otherwise module << 16 | 0x8000 | severity << 12 | reason, severity 0
**   information, 1 warning, 2 error, 3 severe, 4 terminal.  The generic codes
**   below carry no 0x8000 bit and severity 0.  The user sees the return code
**   (code & 0x7000) >> 10 and the process exits with the code's low byte;
**   a run that ends with a non-zero code never shows return code 0 nor exits
**   with 0 (oreasonEndReturnCode, oreasonExitStatus).
*/
#ifndef ZAV_COMMON_OREASON_H
#define ZAV_COMMON_OREASON_H

#include <cstdint>

#define ORC_NOMEM   0x10001   /* no memory */
#define ORC_INVALID 0x10002   /* invalid object or argument */

/* Builds a reason code from its parts. */
#define ORC_MAKE(module, severity, reason) \
  ((int)(((module) << 16) | 0x8000 | ((severity) << 12) | (reason)))

/* A warning a run ends with (return code 4): the run wrote its rows but left
   out, cut or replaced something.  Its low byte is the exit status a script
   sees, so it must mean that warning only: no system error number (1 to
   133), no status shells and signals give (126, 127, 128 + 1 to 64) and no
   low byte of another code of the program.  The exit-status table of the
   README and the manual page lists these codes as the warnings
   (msg/omsgsdoc.cpp, which also checks their low bytes); other codes of
   warning severity are results that their callers act on. */
#define ORC_RUN_WARNING(module, reason) ORC_MAKE(module, 1, reason)

/* Severity bits of a code, 0 to 4. */
inline int oreasonSeverity(int iCode) { return (iCode & 0x7000) >> 12; }

/* The return code shown to the user: 0, 4, 8, 12 or 16. */
inline int oreasonReturnCode(int iCode) { return (iCode & 0x7000) >> 10; }

/* True for a code of error severity or worse. */
inline bool oreasonIsError(int iCode) { return (iCode & 0x7000) > 0x1000; }

/* How bad a code is when codes are compared: its severity, or 2 (error) for
   a non-zero code without the 0x8000 bit (a generic code, an errno or a bare
   exit byte), since that too says something failed; 0 for 0. */
inline int oreasonRank(int iCode)
{
  if (iCode == 0) return 0;
  return (iCode & 0x8000) != 0 ? oreasonSeverity(iCode) : 2;
}

/* Of two codes, the worse: the higher rank, the first one on a tie. */
inline int oreasonWorse(int iFirst, int iSecond)
{
  return oreasonRank(iSecond) > oreasonRank(iFirst) ? iSecond : iFirst;
}

/* The return code a run ending with iCode shows: 0 for 0, else the code's
   return code, at least 4, and 8 for a code without the 0x8000 bit. */
inline int oreasonEndReturnCode(int iCode)
{
  if (iCode == 0) return 0;
  int iRank = oreasonRank(iCode);
  return (iRank < 1 ? 1 : iRank) << 2;
}

/* The exit status of a run ending with iCode: its low byte, but never 0 for
   a non-zero code (the return code then). */
inline int oreasonExitStatus(int iCode)
{
  if (iCode == 0) return 0;
  return (iCode & 0xFF) != 0 ? (iCode & 0xFF) : oreasonEndReturnCode(iCode);
}

#endif
