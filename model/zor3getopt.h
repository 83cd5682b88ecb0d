/*
** zor3getopt.h
**   The option scanner of the command line: the classic long-option scanner
**   (short options, "--name" long options, and with zor3getopt_long_only
**   "-name" long options too), with two differences the program's option
**   table relies on: two or more prefix matches of a long name are
**   ambiguous even when they name the same option (-ho matches host and
**   hostname), and the diagnostics of ambiguous, unknown and argument-less
**   long options go through the message system (ZORU362E, ZORU418E,
**   ZORU419E); the others are written to standard error.
**
**   State lives in module statics and the four globals below, so one vector
**   is scanned at a time; setting zor3optind to 0 starts over (the state is
**   cleared and the environment read again).  Single-threaded.
*/
#ifndef ZAV_MODEL_ZOR3GETOPT_H
#define ZAV_MODEL_ZOR3GETOPT_H

/*
** Long option row: name, argument rule, flag pointer, code.  The scanner's
** names carry the zor3 prefix where the C library has the same name
** (struct option, optarg, optind, opterr, optopt), so that both may be
** declared in one program.
*/
struct zor3option {
  const char *name;
  int has_arg;                          /* ZOR3_NO_ARGUMENT, ZOR3_REQUIRED_ARGUMENT, ZOR3_OPTIONAL_ARGUMENT */
  int *flag;                            /* when set, receives val and the scanner returns 0 */
  int val;
};
#define ZOR3_NO_ARGUMENT       0
#define ZOR3_REQUIRED_ARGUMENT 1
#define ZOR3_OPTIONAL_ARGUMENT 2

extern char *zor3optarg;                /* argument of the option found, or NULL */
extern int zor3optind;                  /* index of the next argument, initially 1; 0 restarts */
extern int zor3opterr;                  /* 1: report errors */
extern int zor3optopt;                  /* option character of the last error, initially '?' */

/*
** zor3getopt, zor3getopt_long, zor3getopt_long_only
**   Return the code of the next option; '?' for an unknown option, an
**   ambiguous one, a missing argument (':' instead when the short-option
**   string begins with ':') or an argument given to an option without one;
**   -1 when the options end.  Arguments are permuted so that non-options
**   follow the options, unless POSIXLY_CORRECT is set (read once, at the
**   first call) or the short-option string begins with '+'.  *plongind
**   receives the row index of a long option found (when plongind is set).
**   zor3getopt takes short options only.
**   zor3getopt_long_only also takes "-name" as a long option.
*/
int zor3getopt(int argc, char *const *argv, const char *optstring);
int zor3getopt_long(int argc, char *const *argv, const char *optstring, const zor3option *longopts,
                    int *plongind);
int zor3getopt_long_only(int argc, char *const *argv, const char *optstring, const zor3option *longopts,
                         int *plongind);

#endif
