/*
** olex.h
**   Table-driven lexer shared by every language the program reads (trace
**   switch file, control file, SQL text).  A language is static data only: a
**   NULL-terminated set of context definitions, each with a capability mask
**   (the lexeme classes it accepts), its keywords, separators and operators,
**   the lexeme ids it returns per lexeme class, and keyword actions that move
**   between contexts.  The lexer reads an ostream byte by byte: the first
**   byte of a lexeme chooses a row of the analyser table, whose routines
**   analyse each further byte, react to the end of the text and extract the
**   value; a row that cannot go on hands the lexeme to the next usable row of
**   its fallback chain.  olexGet returns a lexeme id with an 8-byte value and
**   a lexeme location, which is what a generated LALR(1) parser asks of its
**   lexer.  A failed lexeme comes back as the context's error id with its raw
**   text as value; the code of the failure stays in iErrorCode until the next
**   lexeme.  The lexer never prints anything except its trace ($OLEX).
**
**   Ownership: every ochar and packed decimal block handed out in a value
**   cell belongs to the caller.  The lexer never destroys its stream.  A
**   lexer, its contexts and its stream belong to one parse in one thread.
*/
#ifndef ZAV_COMMON_OLEX_H
#define ZAV_COMMON_OLEX_H

#include <cstddef>
#include <cstdint>

#include "common/ostream.h"

struct ochar;
struct ostack;
struct ostrdict;

/* Kinds of definition entries (high byte of usKindAction). */
#define OLEX_ENTRY_KEYWORD    0x01
#define OLEX_ENTRY_SEPARATOR  0x02
#define OLEX_ENTRY_OPERATOR   0x04
#define OLEX_ENTRY_BASE       0x08

/* Keyword actions (low byte of usKindAction), applied after the lexeme. */
#define OLEX_ACTION_PUSH      0x02  /* push the current context id, switch to index */
#define OLEX_ACTION_POP       0x04  /* pop a context id and switch to it (none: nothing) */
#define OLEX_ACTION_RESET     0x08  /* empty the stack, switch to index */
#define OLEX_ACTION_SWITCH    0x10  /* switch to index, stack untouched */

/* Builds the 16-bit kind-and-action word of an entry. */
#define OLEX_KA(kind, action) ((uint16_t)(((kind) << 8) | (action)))

/* Capability mask bits of a context. */
#define OLEX_CAP_INTEGER      0x00001
#define OLEX_CAP_DECIMAL      0x00002
#define OLEX_CAP_FLOAT        0x00004
#define OLEX_CAP_SEPARATOR    0x00008
#define OLEX_CAP_STRING       0x00010
#define OLEX_CAP_DELIMITED    0x00020
#define OLEX_CAP_IDENTIFIER   0x00040
#define OLEX_CAP_KEYWORD      0x00080
#define OLEX_CAP_OPERATOR     0x00100
#define OLEX_CAP_VALUE        0x00200
#define OLEX_CAP_MISC         0x00400
#define OLEX_CAP_REGEX        0x00800
#define OLEX_CAP_TEXT         0x01000
#define OLEX_CAP_BIGINT       0x02000
#define OLEX_CAP_EOL          0x20000
#define OLEX_CAP_BLANKS_GLUE  0x40000   /* blanks neither end lexemes nor are skipped */
#define OLEX_CAP_BLANKS       0x80000   /* blanks are lexemes */
#define OLEX_CAP_KEEP_CASE    0x100000  /* keywords and identifiers keep their case */

/* Lexeme classes: index into a context's base lexeme ids. */
#define OLEX_CLASS_END        0
#define OLEX_CLASS_ERROR      5
#define OLEX_CLASS_INTEGER    6
#define OLEX_CLASS_BIGINT     7
#define OLEX_CLASS_DECIMAL    8
#define OLEX_CLASS_FLOAT      9
#define OLEX_CLASS_VALUE      10
#define OLEX_CLASS_STRING     11
#define OLEX_CLASS_DELIMITED  12
#define OLEX_CLASS_IDENTIFIER 13
#define OLEX_CLASS_BLANKS     14
#define OLEX_CLASS_MISC       15
#define OLEX_CLASS_EOL        16
#define OLEX_CLASS_REGEX      17
#define OLEX_CLASS_TEXT       18
#define OLEX_CLASS_COUNT      19

/* Lexer flags. */
#define OLEX_FLAG_MIXED       0x0001  /* double-byte sections may occur inside quoted strings */
#define OLEX_FLAG_EOL_DONE    0x0002  /* the end-of-line lexeme of the end of text was returned */
#define OLEX_FLAG_NO_TRACE    0x8000

/* Per-lexeme state flags. */
#define OLEX_ST_DBCS          0x02  /* inside a shift-out/shift-in section */
#define OLEX_ST_CLOSED        0x04  /* the closing quote has been read */
#define OLEX_ST_LEADING_POINT 0x08  /* the first byte is a leading decimal point */
#define OLEX_ST_POINT         0x10  /* a decimal point has been read */
#define OLEX_ST_EXPONENT      0x20  /* an exponent letter has been read */
#define OLEX_ST_NONWORD       0x40  /* the word holds a byte that is not a word byte */

/* Shift bytes of double-byte sections. */
#define OLEX_SHIFT_OUT        0x0E
#define OLEX_SHIFT_IN         0x0F

/* Error codes recorded for a lexeme (module 0x00F). */
#define OLEX_ERR_BYTE         0xFA001  /* a byte that can start no lexeme here */
#define OLEX_ERR_GRAPHIC      0xFA003  /* malformed G'..' or N'..' */
#define OLEX_ERR_HEXA         0xFA004  /* malformed X'..', GX'..' or UX'..' */
#define OLEX_ERR_INTEGER      0xFA005  /* integer outside 32 bits */
#define OLEX_ERR_BIGINT       0xFA006  /* integer outside 64 bits */
#define OLEX_ERR_DECIMAL      0xFA007  /* malformed decimal or more than 31 digits */
#define OLEX_ERR_FLOAT        0xFA008  /* float that does not convert */
#define OLEX_ERR_DBCS_IDENT   0xFA009  /* malformed double-byte identifier */
#define OLEX_ERR_VALUE        0xFA00A  /* malformed number with unit */
#define OLEX_ERR_CONTEXT      0xFB001  /* a context cannot be built */
#define OLEX_ERR_OPEN_STRING  0xFB002  /* unterminated string */
#define OLEX_ERR_OPEN_DELIM   0xFB003  /* unterminated delimited or double-byte identifier */
#define OLEX_ERR_OPEN_GRAPHIC 0xFB004  /* unterminated graphic string */
#define OLEX_ERR_OPEN_HEXA    0xFB005  /* unterminated hexadecimal string */
#define OLEX_ERR_EOF          0xFC001  /* end of text with no usable row left */

/* Packed decimal block (value of a decimal lexeme): byte 0 precision, byte 1
** scale, bytes 2..17 31 digit nibbles and a sign nibble (0xC or 0xD),
** right-aligned.  Allocated with malloc; the caller frees it. */
#define OLEX_DECIMAL_SIZE     18
#define OLEX_DECIMAL_DIGITS   31

/* One entry of a context definition. */
struct olexDefEntry {
  int32_t iId;             /* lexeme id returned (or base id of class usIndex) */
  uint16_t usKindAction;   /* kind << 8 | keyword action */
  uint16_t usIndex;        /* target context of the action, or the class of a base entry */
  const char *pcText;      /* NUL-terminated text of a keyword, separator or operator */
};

/* A context definition: static data of a language's module. */
struct olexContextDef {
  uint16_t usId;                 /* index in the lexer's context table, > 0 */
  uint32_t ulMask;               /* OLEX_CAP_... */
  char cStringDelim;             /* 0: the lexer's default */
  char cIdentDelim;              /* 0: the lexer's default */
  char cDecimal;                 /* 0: the lexer's default */
  const olexDefEntry *pentries;  /* run ended by an entry of no known kind */
};

/* A context built from a definition. */
struct olexContext {
  uint16_t usId;
  uint32_t ulMask;
  ochar *pcharSeparators;        /* one byte per separator entry (CCSID 850) */
  ostack *pstackSeparatorIds;    /* their lexeme ids, same order */
  ostrdict *pdictKeywords;       /* text -> const olexDefEntry* */
  char cStringDelim;
  char cIdentDelim;
  char cDecimal;
  ochar *pcharOperators;         /* every byte of every operator text (CCSID 850) */
  int32_t aiBaseIds[OLEX_CLASS_COUNT];
};

/* A lexer position: stream position, context stack depth, current context. */
struct olexPos {
  ostreamPos pos;
  int32_t iStackDepth;
  int32_t iContextId;
};

struct olex {
  olexContext *pcontextCurrent;
  olexContext **ppcontextTable;  /* indexed by context id; entry 0 empty */
  ostack *pstackContexts;        /* ids of the contexts pushed */
  int32_t iTableSize;
  uint16_t usCcsidSBCS;
  uint16_t usCcsidDBCS;
  uint16_t usCcsidMixed;
  uint32_t ulFlags;              /* OLEX_FLAG_... */
  int iErrorCode;                /* code of the current lexeme, 0 when none */
  ostream *pstream;
  olexPos posStart;              /* start of the current lexeme */
  olexPos posEnd;                /* end of the current lexeme */
  char cDefStringDelim;
  char cDefIdentDelim;
  char cDefDecimal;
  /* Per-lexeme state, cleared at the start of every lexeme. */
  uint32_t ulState;              /* OLEX_ST_... */
  int32_t iConsumed;             /* bytes of the lexeme before the current byte */
  int32_t iDbcsCount;            /* bytes read in the current double-byte section */
  int32_t iLexId;                /* id found by a keyword, separator or operator lookup */
  const olexDefEntry *pentry;    /* matched definition entry */
  int iPrevByte;                 /* previous byte (a blank at the start) */
  int iCurByte;                  /* current byte; OSTREAM_EOF at the end */
  int iRow;                      /* current analyser row, -1 none */
  int iQuote;                    /* opening quote byte, 0 none */
};

/* The 8-byte value cell written by olexGet, by lexeme class. */
union olexValue {
  int32_t i;                     /* integer */
  int64_t ll;                    /* bigint */
  double d;                      /* float */
  unsigned char *pcDecimal;      /* decimal: packed decimal block */
  ochar *pchar;                  /* strings, identifiers, misc, blanks, error text */
  struct {
    int32_t iUnit;               /* 0 none, 1 K, 2 M, 3 G */
    int32_t iNumber;
  } val;                         /* value */
  unsigned char ac[8];
};

/* olexCreate: a new zeroed lexer, or NULL when memory runs out. */
olex *olexCreate(void);

/*
** olexInit
**   Stores the defaults and CCSIDs, ORs the mixed flag into the lexer flags,
**   builds one context per definition of the NULL-terminated set (the first
**   becomes current) and resets the context stack.  A stream may be bound
**   before or after.  Returns 0, or 0xFB001 when a context cannot be built.
*/
int olexInit(olex *plex, const olexContextDef *const *ppdefs, char cStringDelim,
             char cIdentDelim, char cDecimal, uint16_t usCcsidSBCS, uint16_t usCcsidMixed,
             uint16_t usCcsidDBCS, int iMixed);

/* olexSetStream: binds the stream and takes its current position as the start
** and end positions.  The lexer never destroys the stream. */
void olexSetStream(olex *plex, ostream *pstream);

/*
** olexGet
**   Reads the next lexeme and returns its lexeme id: the context's id for the
**   lexeme's class, or the matched entry's id for separators, keywords and
**   operators; 0 (the end id) at the end of the text, on every further call.
**   pValue, when not NULL, is an 8-byte cell (olexValue) that receives the
**   value; ploc, when not NULL, receives the lexeme location.  A failed lexeme
**   returns the context's error id with its raw text as value and leaves its
**   code in iErrorCode.  Without a location the lexer does not trace.
*/
int olexGet(void *pValue, ostreamLocation *ploc, olex *plex);

/* olexDestroy: destroys every context, the context stack and the lexer, not
** the stream; NULL accepted. */
void olexDestroy(olex *plex);

/* olexGetCurrentPos: fills *ppos with the stream's current position, the
** stack depth and the current context id.  Returns ppos (NULL for NULL). */
olexPos *olexGetCurrentPos(olex *plex, olexPos *ppos);

/*
** olexSetCurrentPos
**   Moves the stream to the saved position, pops the context stack down to
**   the saved depth and makes the saved context current.  Returns 0 (also
**   for a NULL position), or -1 when the saved depth is above the current
**   one (the stack is then left unchanged).
*/
int olexSetCurrentPos(olex *plex, const olexPos *ppos);

/* olexContextCreateFromDef: a context built from one definition, NULL when
** memory runs out. */
olexContext *olexContextCreateFromDef(olex *plex, const olexContextDef *pdef);

/* olexAddContext: puts the context in the table at its id, growing the table
** and destroying a context that had that id.  Returns 0 or 0x10001. */
int olexAddContext(olex *plex, olexContext *pcontext);

/* olexContextAddSeparator: adds the text's first byte as a separator with
** lexeme id iId (not to the dictionary).  Returns 0 or 0x10001. */
int olexContextAddSeparator(olexContext *pcontext, const char *pcText, int32_t iId);

/* olexContextAddOperator: adds the text's bytes to the operator characters
** (not to the dictionary).  Returns 0 or 0x10001. */
int olexContextAddOperator(olexContext *pcontext, const char *pcText);

/* olexContextSetBaseLexeme: sets the id returned for lexeme class iClass (0..18). */
void olexContextSetBaseLexeme(olexContext *pcontext, int iClass, int32_t iId);

/* olexContextDestroy: frees the context and everything it holds; NULL accepted. */
void olexContextDestroy(olexContext *pcontext);

/*
** Helpers shared by the analysers, offered to the language modules too.
**   _olexAtoi, _olexAtoll: optionally signed decimal text of iLength bytes to
**     a 32-/64-bit integer; return 0, or -1 when out of range or not digits.
**   _olexConvHexa: value of iCount hexadecimal digits.
**   memupr: upper-cases iLength bytes in place.
*/
int _olexAtoi(const char *pcText, int iLength, int32_t *piValue);
int _olexAtoll(const char *pcText, int iLength, int64_t *pllValue);
int _olexConvHexa(const char *pcText, int iCount);
void memupr(char *pcText, size_t iLength);

#endif
