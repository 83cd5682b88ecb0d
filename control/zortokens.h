/*
** zortokens.h
**   Token numbers and semantic value shared by the program's two generated
**   parsers (control file, SQL text) and by the lexer context tables of
**   their languages.  The numbers come from control/tokens.def, the one
**   token list: the enumeration below numbers its lines from 258, and the
**   build writes the same numbers into each grammar as %token declarations
**   (control/zortokens.cmake), so a lexeme id returned by olex is the token
**   code the parser expects.  The grammars are generated with a token-kind
**   prefix so that the generator's own enumeration does not clash with this
**   one.
**
**   zortokensValue is the 8-byte semantic value of every grammar symbol:
**   olexGet writes a lexeme's value into it (integer, bigint, double, packed
**   decimal block, ochar, value with unit), and the grammar actions keep a
**   pointer or a 32-bit integer in it.  A grammar's location type is the
**   lexeme location ostreamLocation.
*/
#ifndef ZAV_CONTROL_ZORTOKENS_H
#define ZAV_CONTROL_ZORTOKENS_H

#include <cstdint>

#include "common/olex.h"

struct ochar;
struct ochaine;
struct olist;
struct obf;
struct zoratom;
struct zortask;
struct zorcol;
struct zornode;

/* Token numbers, in the order of tokens.def, from 258. */
enum zortokensId {
  ZORTOKENS_FIRST = 257,
#define ZTOK(name) name,
#include "control/tokens.def"
#undef ZTOK
  ZORTOKENS_END
};

static_assert(DEBUT_LISTE_TOKEN == 258, "the token list starts at 258");

/* Semantic value of the generated parsers: one 8-byte cell. */
union zortokensValue {
  olexValue lex;              /* the cell as the lexer writes it */
  int32_t i;                  /* INTEGER_LX, numbers, units, codes */
  int64_t ll;                 /* BIGINT_LX */
  double d;                   /* FLOAT_LX */
  unsigned char *pcDecimal;   /* DECIMAL_LX: 18-byte packed decimal block */
  ochar *pchar;               /* strings, identifiers, error text */
  struct {
    int32_t iUnit;            /* DIM_LX: 0 none, 1 K, 2 M, 3 G */
    int32_t iNumber;
  } val;
  void *p;
  zornode *pnode;             /* expression or condition tree */
  zorcol *pcol;               /* column descriptor */
  ochaine *pchaineCols;       /* column chain */
  ochaine *pchaineTasks;      /* chain of tasks */
  olist *plistAtoms;          /* reference list of atoms (not owned by its nodes) */
  olist *plistNodes;          /* reference list of nodes (not owned by its nodes) */
  olist *plist;               /* any other list */
  zoratom *patom;
  zortask *ptask;
  obf *pobf;
};

static_assert(sizeof(zortokensValue) == 8, "the semantic value is one 8-byte cell");

#endif
