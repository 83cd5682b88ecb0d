/*
** zor3getopt.cpp
**   The option scanner of the command line (see zor3getopt.h): short
**   options from a short-option string ("x" no argument, "x:" required,
**   "x::" optional and attached), long options from a table, abbreviated to
**   any prefix, and with zor3getopt_long_only long options after one dash.
**   Arguments are permuted so that the non-options follow the options:
**   first_nonopt and last_nonopt bound the block of non-options skipped so
**   far, and exchange moves it behind the options read since.
**
**   A second prefix match of a long name is ambiguous whatever options the
**   two rows name.  Ambiguous and unknown long options and missing
**   arguments are reported as messages (ZORU362E, ZORU418E, ZORU419E); the
**   remaining diagnostics go to standard error, worded as the classic
**   scanner words them.
*/
#include "model/zor3getopt.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/omsgs.h"
#include "model/zormsgs.h"

char *zor3optarg = nullptr;
int zor3optind = 1;
int zor3opterr = 1;
int zor3optopt = '?';

/* Scanner state. */
static char *nextchar = nullptr;           /* rest of the cluster of short options being read */
static enum { REQUIRE_ORDER, PERMUTE, RETURN_IN_ORDER } ordering = PERMUTE;
static const char *posixly_correct = nullptr;
static int first_nonopt = 0;
static int last_nonopt = 0;
static int __zor3getopt_initialized = 0;

/* Swaps the block of non-options [first_nonopt, last_nonopt) with the block
** of options [last_nonopt, zor3optind), keeping the order inside each. */
static void exchange(char **argv)
{
  int bottom = first_nonopt;
  int middle = last_nonopt;
  int top = zor3optind;

  while (top > middle && middle > bottom) {
    if (top - middle > middle - bottom) {
      /* The bottom block is shorter: swap it with the top of the upper one. */
      int len = middle - bottom;
      for (int i = 0; i < len; i++) {
        char *tem = argv[bottom + i];
        argv[bottom + i] = argv[top - (middle - bottom) + i];
        argv[top - (middle - bottom) + i] = tem;
      }
      top -= len;
    } else {
      /* The top block is shorter: swap it with the bottom of the lower one. */
      int len = top - middle;
      for (int i = 0; i < len; i++) {
        char *tem = argv[bottom + i];
        argv[bottom + i] = argv[middle + i];
        argv[middle + i] = tem;
      }
      bottom += len;
    }
  }
  first_nonopt += (zor3optind - last_nonopt);
  last_nonopt = zor3optind;
}

/* First call, or a restart: state and ordering.  Returns the short-option
** string without its ordering character. */
static const char *_zor3getopt_initialize(const char *optstring)
{
  first_nonopt = last_nonopt = zor3optind;
  nextchar = nullptr;
  posixly_correct = std::getenv("POSIXLY_CORRECT");
  if (optstring[0] == '-') {
    ordering = RETURN_IN_ORDER;
    ++optstring;
  } else if (optstring[0] == '+') {
    ordering = REQUIRE_ORDER;
    ++optstring;
  } else if (posixly_correct != nullptr) {
    ordering = REQUIRE_ORDER;
  } else {
    ordering = PERMUTE;
  }
  return optstring;
}

/* "`" + text + "'": the quoted form of an option in the diagnostics. */
static std::string _zor3Quote(const char *pcText, size_t ulLength)
{
  std::string str("`");
  str.append(pcText, ulLength);
  str += '\'';
  return str;
}

/* The dashes as written before a long name starting at pcName in pcArg. */
static std::string _zor3Dashes(const char *pcArg)
{
  return pcArg[1] == '-' ? std::string("--") : std::string(pcArg, 1);
}

/* Finds the long option named by [pcName, pcNameEnd).  An exact match wins;
** a second prefix match makes it ambiguous.  Returns the row or NULL, with
** *piIndex its index and *pboAmbig set when ambiguous. */
static const zor3option *_zor3FindLong(const zor3option *longopts, const char *pcName, const char *pcNameEnd,
                                       int *piIndex, int *pboAmbig)
{
  const zor3option *pfound = nullptr;
  size_t ulLength = static_cast<size_t>(pcNameEnd - pcName);
  int boAmbig = 0;
  int iIndex = 0;
  for (const zor3option *p = longopts; p->name != nullptr; p++, iIndex++) {
    if (std::strncmp(p->name, pcName, ulLength) != 0) continue;
    if (ulLength == std::strlen(p->name)) {
      *piIndex = iIndex;
      *pboAmbig = 0;
      return p;
    }
    if (pfound == nullptr) {
      pfound = p;
      *piIndex = iIndex;
    } else {
      boAmbig = 1;
    }
  }
  *pboAmbig = boAmbig;
  return boAmbig ? nullptr : pfound;
}

static int _zor3getopt_internal(int argc, char *const *argv_const, const char *optstring, const zor3option *longopts,
                                int *longind, int long_only)
{
  /* The scanner permutes the vector, as the classic one does. */
  char **argv = const_cast<char **>(argv_const);
  int print_errors = zor3opterr;
  if (optstring[0] == ':') print_errors = 0;

  if (argc < 1) return -1;
  zor3optarg = nullptr;

  if (zor3optind == 0 || !__zor3getopt_initialized) {
    if (zor3optind == 0) zor3optind = 1;
    optstring = _zor3getopt_initialize(optstring);
    __zor3getopt_initialized = 1;
  } else if (optstring[0] == '-' || optstring[0] == '+') {
    ++optstring;
  }
  if (optstring[0] == ':') print_errors = 0;

#define NONOPTION_P (argv[zor3optind][0] != '-' || argv[zor3optind][1] == '\0')

  if (nextchar == nullptr || *nextchar == '\0') {
    /* Advance to the next element. */
    if (last_nonopt > zor3optind) last_nonopt = zor3optind;
    if (first_nonopt > zor3optind) first_nonopt = zor3optind;

    if (ordering == PERMUTE) {
      if (first_nonopt != last_nonopt && last_nonopt != zor3optind)
        exchange(argv);
      else if (last_nonopt != zor3optind)
        first_nonopt = zor3optind;
      while (zor3optind < argc && NONOPTION_P) zor3optind++;
      last_nonopt = zor3optind;
    }

    /* "--" ends the options; what follows is left as non-options. */
    if (zor3optind != argc && std::strcmp(argv[zor3optind], "--") == 0) {
      zor3optind++;
      if (first_nonopt != last_nonopt && last_nonopt != zor3optind)
        exchange(argv);
      else if (first_nonopt == last_nonopt)
        first_nonopt = zor3optind;
      last_nonopt = argc;
      zor3optind = argc;
    }

    if (zor3optind == argc) {
      /* Point at the non-options moved behind the options. */
      if (first_nonopt != last_nonopt) zor3optind = first_nonopt;
      return -1;
    }

    if (NONOPTION_P) {
      if (ordering == REQUIRE_ORDER) return -1;
      zor3optarg = argv[zor3optind++];
      return 1;
    }

    nextchar = argv[zor3optind] + 1 + (longopts != nullptr && argv[zor3optind][1] == '-');
  }

  /* A long option: "--name", or with long_only "-name" when the name is
     longer than one character or its character is no short option. */
  if (longopts != nullptr &&
      (argv[zor3optind][1] == '-' ||
       (long_only && (argv[zor3optind][2] || std::strchr(optstring, argv[zor3optind][1]) == nullptr)))) {
    const char *nameend = nextchar;
    while (*nameend && *nameend != '=') nameend++;
    int option_index = -1;
    int ambig = 0;
    const zor3option *pfound = _zor3FindLong(longopts, nextchar, nameend, &option_index, &ambig);

    if (ambig) {
      if (print_errors) {
        std::string str = _zor3Dashes(argv[zor3optind]);
        str.append(nextchar, static_cast<size_t>(nameend - nextchar));
        omsgsFMTEDO(ZORU362E, _zor3Quote(str.data(), str.size()).c_str());
      }
      nextchar += std::strlen(nextchar);
      zor3optind++;
      zor3optopt = 0;
      return '?';
    }

    if (pfound != nullptr) {
      const char *pcArg = argv[zor3optind];
      zor3optind++;
      if (*nameend) {
        if (pfound->has_arg) {
          zor3optarg = const_cast<char *>(nameend + 1);
        } else {
          if (print_errors) {
            std::string str = _zor3Dashes(pcArg);
            str.append(nextchar, static_cast<size_t>(nameend - nextchar));
            std::fprintf(stderr, "%s: option %s doesn't allow an argument\n", argv[0],
                         _zor3Quote(str.data(), str.size()).c_str());
          }
          nextchar += std::strlen(nextchar);
          zor3optopt = pfound->val;
          return '?';
        }
      } else if (pfound->has_arg == ZOR3_REQUIRED_ARGUMENT) {
        if (zor3optind < argc) {
          zor3optarg = argv[zor3optind++];
        } else {
          if (print_errors) omsgsFMTEDO(ZORU419E, _zor3Quote(pcArg, std::strlen(pcArg)).c_str());
          nextchar += std::strlen(nextchar);
          zor3optopt = pfound->val;
          return optstring[0] == ':' ? ':' : '?';
        }
      }
      nextchar += std::strlen(nextchar);
      if (longind != nullptr) *longind = option_index;
      if (pfound->flag != nullptr) {
        *(pfound->flag) = pfound->val;
        return 0;
      }
      return pfound->val;
    }

    /* No such long option.  With long_only a one-dash argument whose first
       character is a short option is read as that short option. */
    if (!long_only || argv[zor3optind][1] == '-' || std::strchr(optstring, *nextchar) == nullptr) {
      if (print_errors) {
        std::string str = _zor3Dashes(argv[zor3optind]);
        str.append(nextchar, static_cast<size_t>(nameend - nextchar));
        omsgsFMTEDO(ZORU418E, _zor3Quote(str.data(), str.size()).c_str());
      }
      nextchar = const_cast<char *>("");
      zor3optind++;
      zor3optopt = 0;
      return '?';
    }
  }

  /* The next short option of the cluster. */
  {
    char c = *nextchar++;
    const char *temp = std::strchr(optstring, c);

    /* At the end of the cluster the next call starts a new element. */
    if (*nextchar == '\0') ++zor3optind;

    if (temp == nullptr || c == ':' || c == '\0') {
      if (print_errors) {
        if (posixly_correct != nullptr)
          std::fprintf(stderr, "%s: illegal option -- %c\n", argv[0], c);
        else
          std::fprintf(stderr, "%s: invalid option -- %c\n", argv[0], c);
      }
      zor3optopt = c;
      return '?';
    }

    /* "W;": -W name is the long option name. */
    if (temp[0] == 'W' && temp[1] == ';' && longopts != nullptr) {
      if (*nextchar != '\0') {
        zor3optarg = nextchar;
        zor3optind++;
      } else if (zor3optind == argc) {
        if (print_errors) omsgsFMTEDO(ZORU419E, "`-W'");
        zor3optopt = c;
        return optstring[0] == ':' ? ':' : '?';
      } else {
        zor3optarg = argv[zor3optind++];
      }

      const char *nameend = zor3optarg;
      while (*nameend && *nameend != '=') nameend++;
      nextchar = zor3optarg;
      int option_index = -1;
      int ambig = 0;
      const zor3option *pfound = _zor3FindLong(longopts, nextchar, nameend, &option_index, &ambig);
      if (ambig) {
        if (print_errors) {
          std::string str("-W ");
          str.append(nextchar, static_cast<size_t>(nameend - nextchar));
          omsgsFMTEDO(ZORU362E, _zor3Quote(str.data(), str.size()).c_str());
        }
        nextchar += std::strlen(nextchar);
        return '?';
      }
      if (pfound != nullptr) {
        if (*nameend) {
          if (pfound->has_arg) {
            zor3optarg = const_cast<char *>(nameend + 1);
          } else {
            if (print_errors) {
              std::string str("-W ");
              str.append(nextchar, static_cast<size_t>(nameend - nextchar));
              std::fprintf(stderr, "%s: option %s doesn't allow an argument\n", argv[0],
                           _zor3Quote(str.data(), str.size()).c_str());
            }
            nextchar += std::strlen(nextchar);
            return '?';
          }
        } else if (pfound->has_arg == ZOR3_REQUIRED_ARGUMENT) {
          if (zor3optind < argc) {
            zor3optarg = argv[zor3optind++];
          } else {
            if (print_errors) {
              const char *pcArg = argv[zor3optind - 1];
              omsgsFMTEDO(ZORU419E, _zor3Quote(pcArg, std::strlen(pcArg)).c_str());
            }
            nextchar += std::strlen(nextchar);
            return optstring[0] == ':' ? ':' : '?';
          }
        } else {
          zor3optarg = nullptr;
        }
        nextchar += std::strlen(nextchar);
        if (longind != nullptr) *longind = option_index;
        if (pfound->flag != nullptr) {
          *(pfound->flag) = pfound->val;
          return 0;
        }
        return pfound->val;
      }
      nextchar = nullptr;
      return 'W';   /* left to the caller */
    }

    if (temp[1] == ':') {
      if (temp[2] == ':') {
        /* Optional argument: only when attached. */
        if (*nextchar != '\0') {
          zor3optarg = nextchar;
          zor3optind++;
        } else {
          zor3optarg = nullptr;
        }
        nextchar = nullptr;
      } else {
        /* Required argument: the rest of the element, or the next one. */
        if (*nextchar != '\0') {
          zor3optarg = nextchar;
          zor3optind++;
        } else if (zor3optind == argc) {
          if (print_errors) {
            char ac[4] = {'`', '-', c, '\0'};
            std::string str(ac);
            str += '\'';
            omsgsFMTEDO(ZORU419E, str.c_str());
          }
          zor3optopt = c;
          c = optstring[0] == ':' ? ':' : '?';
        } else {
          zor3optarg = argv[zor3optind++];
        }
        nextchar = nullptr;
      }
    }
    return c;
  }
#undef NONOPTION_P
}

int zor3getopt(int argc, char *const *argv, const char *optstring)
{
  return _zor3getopt_internal(argc, argv, optstring, nullptr, nullptr, 0);
}

int zor3getopt_long(int argc, char *const *argv, const char *optstring, const zor3option *longopts, int *plongind)
{
  return _zor3getopt_internal(argc, argv, optstring, longopts, plongind, 0);
}

int zor3getopt_long_only(int argc, char *const *argv, const char *optstring, const zor3option *longopts,
                         int *plongind)
{
  return _zor3getopt_internal(argc, argv, optstring, longopts, plongind, 1);
}
