/*
** oyacc.h
**   Parser context handed to a generated parser: binds a text stream, a lexer
**   description (code pages, delimiters, decimal point) and a lexer built over
**   a set of context definitions, and holds the seven result words that the
**   actions of the grammar running on it fill.  It also gives the actions the
**   source text between two lexeme locations, a sub-stream over that text and
**   an integer range check.  A context lives in the caller's storage (only
**   oyaccCreate allocates one); it is initialised, used by one parse and
**   deleted, which destroys its lexer and the stream and description it owns.
**   One parse in one thread.
*/
#ifndef ZAV_COMMON_OYACC_H
#define ZAV_COMMON_OYACC_H

#include <cstdint>

#include "common/olex.h"
#include "common/ostream.h"

struct ochar;
struct olist;
struct zortask;
struct zoratom;
struct zornode;

/* Ownership flags of a parser context. */
#define OYACC_STREAM_BORROWED 0x1
#define OYACC_DESC_BORROWED   0x2

/* Lexer description. */
struct oyaccLexDesc {
  uint16_t usCcsidSBCS;
  uint16_t usCcsidDBCS;
  uint16_t usCcsidMixed;
  char cStringDelim;
  char cIdentDelim;
  char cDecimal;
  int32_t iMixed;              /* 1: the text may hold double-byte sections */
};

/* Parser context. */
struct oyacc {
  ostream *pstream;
  oyaccLexDesc *pdesc;
  olex *plex;
  /* Result words, zeroed by the initialisers, filled by the grammar. */
  zortask *ptaskResult;        /* result task */
  zoratom *pvalResult;         /* result value */
  olist *plistResult;          /* result atom list */
  zornode *pnodeCondition;     /* condition tree */
  int32_t iErrorLevel;         /* error level */
  const char *pnameResult;     /* result atom name (interned) */
  uint32_t ulParseStatus;      /* parse status bits */
  uint32_t ulOwnFlags;         /* OYACC_..._BORROWED */
};

/*
** oyaccInit
**   Zeroes the context, stores the description and the stream (both then
**   owned by the context), creates a lexer bound to the stream and
**   initialises it from the description over the context definitions.
**   Returns the result of olexInit (0, or 0xFB001), or 0x10001 when the
**   lexer cannot be allocated.
*/
int oyaccInit(oyacc *pyacc, oyaccLexDesc *pdesc, const olexContextDef *const *ppdefs,
              ostream *pstream);

/*
** oyaccInitItemized
**   Allocates a lexer description from the values and calls oyaccInit; the
**   context owns the description and the stream.  Returns as oyaccInit.
*/
int oyaccInitItemized(oyacc *pyacc, const olexContextDef *const *ppdefs, ostream *pstream,
                      char cStringDelim, char cIdentDelim, char cDecimal,
                      uint16_t usCcsidSBCS, uint16_t usCcsidMixed, uint16_t usCcsidDBCS,
                      int32_t iMixed);

/*
** oyaccInitFromYacc
**   Like oyaccInit with the parent's lexer description (borrowed); a NULL
**   stream means the parent's stream, borrowed too; a given stream is owned.
**   Returns as oyaccInit.
*/
int oyaccInitFromYacc(oyacc *pyacc, oyacc *pyaccParent, ostream *pstream,
                      const olexContextDef *const *ppdefs);

/* oyaccCreate: a new context initialised by oyaccInit, NULL when that fails
** (the description and stream are then not taken over). */
oyacc *oyaccCreate(oyaccLexDesc *pdesc, const olexContextDef *const *ppdefs,
                   ostream *pstream);

/* oyaccDelete: destroys the lexer, and the stream and description unless
** borrowed, clearing each field; does not free the context.  Returns 0. */
int oyaccDelete(oyacc *pyacc);

/*
** oyaccExtractRulesString
**   The source text from the first line and column of plocFirst to the last
**   line and column of plocLast, as a new ochar in the lexer's SBCS CCSID
**   with one blank appended; an ochar of one blank for an empty or reversed
**   span.  NULL when memory runs out.
*/
ochar *oyaccExtractRulesString(oyacc *pyacc, const ostreamLocation *plocFirst,
                               const ostreamLocation *plocLast);

/* oyaccExtractRuleString: the same for the span of one location. */
ochar *oyaccExtractRuleString(oyacc *pyacc, const ostreamLocation *ploc);

/* oyaccCreateSubStream: a sub-stream of the context's stream over the same
** span as oyaccExtractRulesString; NULL when memory runs out. */
ostream *oyaccCreateSubStream(oyacc *pyacc, const ostreamLocation *plocFirst,
                              const ostreamLocation *plocLast);

/* oyaccCheckIntegerRange: 1 when iMin <= iValue <= iMax, else 0. */
int oyaccCheckIntegerRange(int64_t iValue, int64_t iMin, int64_t iMax);

#endif
