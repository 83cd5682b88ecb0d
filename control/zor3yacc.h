/*
** zor3yacc.h
**   Parser of the control-file language.  zor3yyparse reads the whole
**   control file through the lexer contexts of control/zor3lex.h and builds
**   the request tree (model/zortask.h): a task GLOBAL whose sub-tasks are
**   the UNLOAD TABLESPACE tasks in file order (or the one DATABASE task),
**   whose sub-tasks are the SELECT tasks, each carrying the atoms of the
**   clauses written for it.  The SQL text of every SELECT is cut out of the
**   control file and parsed during the same pass by the SQL grammar
**   (control/zordyacc.h) on a sub-stream, so its positions are control-file
**   positions; its messages are deferred and kept in the SELECT task's
**   deferred-message stack, and a text the SQL grammar does not take marks
**   the SELECT to go through DB2 (ZORTASK_FLAG_DB2).
**
**   The caller initialises the parser context over the control-file stream
**   with oyaccInitItemized(..., aplexContextDefUdb, stream, '\'', '"', ...,
**   mixed 1).  Syntax errors are reported (ZORU010I with the span, then the
**   error's own message, then, where that message names a whole construct,
**   ZORU027I with the lexeme found and what the language takes there)
**   through omsgsFMTEDO and raise iErrorLevel.
**
**   The parser is generated from control/zor3yacc.y: LALR(1), pure, 8-byte
**   semantic value, the lexeme location as location type, a state stack of
**   200 entries that never grows.  Its step-by-step debug trace goes to the
**   $YYUDB trace keyword.  Single-threaded; one parse per context.
*/
#ifndef ZAV_CONTROL_ZOR3YACC_H
#define ZAV_CONTROL_ZOR3YACC_H

#include <cstdint>

#include "common/oyacc.h"
#include "control/zor3lex.h"

struct ochar;

/* iErrorLevel values written by the error alternatives. */
#define ZOR3YACC_LEVEL_ERROR  8
#define ZOR3YACC_LEVEL_SEVERE 16

/* Packed keyword codes stored as INTEGER atom values. */
#define ZOR3YACC_YES     0xE8C5E2   /* YES */
#define ZOR3YACC_NO      0xD5D6     /* NO */
#define ZOR3YACC_FORCE   0xC6D6D9   /* FORCE */
#define ZOR3YACC_ASIS    0xC1E2     /* ASIS */
#define ZOR3YACC_ASCII   0xC1E2C3   /* ASCII */
#define ZOR3YACC_UNICODE 0xE4D5C9   /* UNICODE */
#define ZOR3YACC_REAL    0xD9C5D3   /* LENGTH REAL */
#define ZOR3YACC_MAX     0xD4C1E7   /* LENGTH MAX */
#define ZOR3YACC_AFTER   0xC1C6E3   /* NULLPOS AFTER */
#define ZOR3YACC_BEFORE  0xC2C6D6   /* NULLPOS BEFORE */
#define ZOR3YACC_RIGHT   0xD9C9C7   /* JUST RIGHT */
#define ZOR3YACC_LEFT    0xD3C5C6   /* JUST LEFT */

/* FORMAT values. */
#define ZOR3YACC_FORMAT_DELIMITED 1
#define ZOR3YACC_FORMAT_USER      5
#define ZOR3YACC_FORMAT_IXF       11
#define ZOR3YACC_FORMAT_DEL       13

/* TASKTYPE of the GLOBAL task. */
#define ZOR3YACC_TASKTYPE_GLOBAL 5

/* Partition sets: bits of a PART set and of the default set of an output
** or LOB entry; valid partition numbers. */
#define ZOR3YACC_PART_BITS 255
#define ZOR3YACC_PART_MAX  999

/* PIC flags: sign, sign position, decimal point, mask. */
#define ZOR3YACC_PIC_MINUS   0x100
#define ZOR3YACC_PIC_PLUS    0x200
#define ZOR3YACC_PIC_P       0x400
#define ZOR3YACC_PIC_TRAIL   0x20
#define ZOR3YACC_PIC_LEAD    0x10
#define ZOR3YACC_PIC_COMMA   0x1
#define ZOR3YACC_PIC_POINT   0x2
#define ZOR3YACC_PIC_MASK_UNKNOWN 0xFFFFF   /* code of a mask text that is none of the six */
/* Mask "*.*": used when the mask is omitted or unknown. */
#define ZOR3YACC_PIC_MASK_DEFAULT 0xC000

/*
** zor3yyparse
**   Parses the whole stream of the context.  On acceptance the GLOBAL task
**   is written to ptaskResult (it then belongs to the caller).  iErrorLevel
**   receives 8 or 16 from the error alternatives and is never cleared.
**   Returns 0 when the text was accepted, possibly after errors it
**   recovered from; 1 when the parse was abandoned; 2 when the state stack
**   (200 entries) would overflow.  The request is usable only when the
**   result is 0 and iErrorLevel is 0.
*/
int zor3yyparse(oyacc *pyacc);

/* The generator's debug switch: 1; the $YYUDB trace keyword decides. */
extern int zor3yydebug;

/*
** _zor3yyudbGetPicMask
**   The PIC mask code of the whole text of pchar: "*.*" 0xC000, "*.0"
**   0x8000, "0.*" 0xE000, "00.*" 0x4000, "0.0" 0xA000, "00.0" 0, anything
**   else (and NULL) ZOR3YACC_PIC_MASK_UNKNOWN.  Makes sure the string
**   carries a zero byte after its text.  pyacc is not used.
*/
int _zor3yyudbGetPicMask(oyacc *pyacc, ochar *pchar);

/* zor3yyuwrap: returns 1. */
int zor3yyuwrap(void);

/* zor3yyuerror: writes "Syntax error: <text>" to the module trace. */
void zor3yyuerror(const char *pcText);

#endif
