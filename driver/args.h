/*
** args.h
**   The command line of db2zav.  argsParse turns the argument vector into
**   the options block (one per run, in the driver's frame), argsControl
**   checks that the options fit together, and argsFillParms stores them,
**   with configuration items where an option is absent, as atoms of the
**   PARMLIB task, from which every task of the request inherits them.  The
**   module also builds the set of partitions asked for and the argument
**   string with which a run is started again on another host.
**
**   The options are scanned by zor3getopt_long_only (model/zor3getopt.h).
**
**   Text fields hold a value of at most their size less one byte; a longer
**   value is refused with ZORU320E (the password is named "-p", not shown).
**   A partition list names numbers 0 to ARGS_PART_MAX only (else ZORU323E).
**   With -u and without -p the password is taken from the environment
**   variable ZAV_PASSWORD when it is set (the daemon passes it so to the
**   runs it starts); the variable is removed from the environment.
**   Single-threaded; called by the program driver with messages deferred.
*/
#ifndef ZAV_DRIVER_ARGS_H
#define ZAV_DRIVER_ARGS_H

#include <cstdint>

#include "model/zor3getopt.h"

struct ochar;
struct obf;
struct zortask;

/* Reason codes (module 0x110). */
#define ARGS_RC_NOUSER    0x110A001   /* no instance user for the instance */
#define ARGS_RC_BADOPTION 0x110A002   /* an option or its value is refused */
#define ARGS_RC_CONFLICT  0x110A003   /* the options do not fit together */
#define ARGS_RC_NOINST    0x110C001   /* no instance name */

/* Sizes of the text fields of the options block, NUL included. */
#define ARGS_TEXT_SIZE  128
#define ARGS_NAME_SIZE  129           /* qualifier and table of -t */
#define ARGS_PART_SIZE  50            /* partition list of --part */

/* Highest partition number a partition list may name. */
#define ARGS_PART_MAX   999

/* Bits of a new partition set. */
#define ARGS_PART_BITS  255

/* The options block.  Given-flags are 0 or 1; texts are NUL-terminated. */
struct argsOptions {
  zortask *ptaskParmlib;                /* set by the driver */
  int32_t boFile;                       /* -f */
  char acFile[ARGS_TEXT_SIZE];
  int32_t boQualifier;                  /* -t with a qualifier */
  char acQualifier[ARGS_NAME_SIZE];
  int32_t boTable;                      /* -t */
  char acTable[ARGS_NAME_SIZE];
  int32_t boVersion;                    /* -v */
  int32_t boConfig;                     /* -c */
  int32_t boAbnormal;                   /* -a */
  int32_t boBuffers;                    /* -b */
  char acBuffers[ARGS_TEXT_SIZE];
  int32_t boDatabase;                   /* -d */
  char acDatabase[ARGS_TEXT_SIZE];
  int32_t boExtended;                   /* -e */
  int32_t boHelp;                       /* -h */
  int32_t boInstance;                   /* -i */
  char acInstance[ARGS_TEXT_SIZE];
  int32_t boMessage;                    /* -m */
  char acMessage[ARGS_TEXT_SIZE];
  int32_t boPart;                       /* --part */
  char acPart[ARGS_PART_SIZE];
  int32_t boNodescfg;                   /* --nodescfg */
  char acNodescfg[ARGS_TEXT_SIZE];
  int32_t boNoexecute;                  /* -n */
  int32_t boOutput;                     /* -o */
  ochar *pcharOutput;                   /* CCSID 850 */
  int32_t boPassword;                   /* -p */
  char acPassword[ARGS_TEXT_SIZE];
  int32_t boPurge;                      /* --purge */
  int32_t ilPurge;
  int32_t boThreads;                    /* --threads */
  int32_t ilThreads;
  int32_t boUser;                       /* -u */
  char acUser[ARGS_TEXT_SIZE];
  int32_t boLocal;                      /* -l */
  int32_t boVerbose;                    /* --verbose */
  int32_t boIdentity;                   /* --identity */
  ochar *pcharIdentity;                 /* CCSID 850, NUL-terminated */
  int32_t boRemote;                     /* --host names another host */
  ochar *pcharHost;                     /* CCSID 850, NUL-terminated */
  ochar *pcharRemoteArgs;               /* forwarded argument string, CCSID 850 */
  int32_t boQualifierDelimited;         /* the -t qualifier was given in double quotes */
  int32_t boTableDelimited;             /* the -t table was given in double quotes */
};

/* ---------------------------------------------------------- the options */

/* The option table and the short-option string of db2zav. */
extern const zor3option long_options[];
extern const char gacArgsShortOptions[];

/*
** argsParse
**   Clears the block and reads the options (see the header comment); every
**   bad option is reported and reading goes on to the end.  The message
**   file of -m is handed to the message system at once.  The vector is
**   permuted (non-options move behind the options).
**   Returns 0, ARGS_RC_BADOPTION, or ORC_NOMEM.
*/
int argsParse(argsOptions *pargs, int argc, char **argv);

/* Environment variable that may hold the password of -u. */
#define ARGS_PASSWORD_ENV "ZAV_PASSWORD"

/*
** argsControl
**   Checks the options: one of -f, -v, -t, -c (ZORU324E); at most one of -f,
**   -v, -t (ZORU325E); -u and -p together (ZORU326E); -n only with -f
**   (ZORU327E); no -t for another host (ZORU369E).
**   Returns 0, or ARGS_RC_CONFLICT at the first rule broken.
*/
int argsControl(argsOptions *pargs);

/*
** argsFillParms
**   Stores the options and configuration items as atoms of the PARMLIB task
**   of the block.  REQUIRES: the PARMLIB task and the atom-name table.
**   Returns 0, ARGS_RC_NOINST (no instance name), ARGS_RC_NOUSER (no
**   instance user, after ZORU415E), or ORC_NOMEM; the atoms made before a
**   failure stay in the task.
*/
int argsFillParms(argsOptions *pargs);

/* argsGetQualifier: the qualifier of -t, or NULL when none was given. */
const char *argsGetQualifier(argsOptions *pargs);

/*
** argsDestroy
**   Frees the string objects of the block (output, identity, host; the
**   forwarded argument string only when bOwnRemoteArgs is set, since the
**   ARGS atom takes it over).  The block itself belongs to the caller.
*/
void argsDestroy(argsOptions *pargs, int bOwnRemoteArgs);

/*
** _argsParsePart
**   A new partition set for the --part list (empty for none and for "all";
**   "current": the partitions of the instance on this host), resized to the
**   highest number set + 1 bits (0 bits when "current" finds none, or the
**   partition table cannot be read, after its message).  REQUIRES: argsParse
**   accepted the list.  Returns the set, or NULL when memory runs out.
*/
obf *_argsParsePart(argsOptions *pargs, const char *pcInstance);

/*
** _argsGetRemoteArgs
**   Builds the forwarded argument string into the block: the arguments
**   after the program name, without -f, -m and the host options and their
**   values, then " -l" unless a host option named another host, then
**   " --identity ".  Returns 0, or ORC_NOMEM.
*/
int _argsGetRemoteArgs(argsOptions *pargs, int argc, char **argv);

#endif
