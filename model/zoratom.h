/*
** zoratom.h
**   Typed values of the request tree.  An atom carries one value of one of
**   21 kinds, the control-file position it was parsed from and a borrowed
**   bit: a borrowed value belongs to someone else (another atom, a catalogue
**   structure, a constant table) and is neither freed nor deep-copied with
**   the atom.  An atom is owned by the task dictionary that holds it, or by
**   the list or atom that carries it until then.
**
**   The value word holds a pointer, so it is pointer-wide; small kinds keep
**   their value at the start of the word (a byte for BYTE, 16 bits for
**   SHORT, two 16-bit numbers for TRISHORT, the low 32 bits for LONG LONG).
**   The second value is used only by DIM, DBLCHAR, TRISHORT (third number),
**   DBLLIST, MATCHCOL and LONG LONG (high 32 bits).
**
**   Kinds owned by other subsystems are copied and freed through them:
**   catalogue records and row converters directly (model/), columns,
**   expressions and core data through the operations their modules register
**   at start-up (zoratomSetOwner: expr/zorcol.cpp, expr/zornode.cpp,
**   run/zorucore.cpp), since those folders build on this one.  Kinds 0, 18, 20 and above 23 are not made by
**   the system; their value is treated as one plain memory block.
**   Single-threaded; forked processes work on their own copies.
*/
#ifndef ZAV_MODEL_ZORATOM_H
#define ZAV_MODEL_ZORATOM_H

#include <cstdint>
#include <cstdio>

struct ochar;
struct olist;
struct ochaine;
struct obf;
struct zorcol;
struct zornode;
struct osysibm;
struct zorucoreData;
struct oconvert;
struct ostreamLocation;

/* Atom kinds. */
enum {
  ZORATOM_TASKCHAINE = 1,   /* ochaine of tasks */
  ZORATOM_BYTE       = 2,   /* unsigned byte */
  ZORATOM_SHORT      = 3,   /* unsigned 16-bit */
  ZORATOM_INTEGER    = 4,   /* signed 32-bit number, enumeration or packed keyword */
  ZORATOM_DIM        = 5,   /* ochar, 32-bit number in the second value */
  ZORATOM_OCHAR      = 6,   /* ochar */
  ZORATOM_CHAR       = 7,   /* a character */
  ZORATOM_OLIST      = 8,   /* olist */
  ZORATOM_OCHAINE    = 9,   /* ochaine */
  ZORATOM_OBF        = 10,  /* obf bit set */
  ZORATOM_TYPE       = 11,  /* type number or size unit; letter code or size (always borrowed) */
  ZORATOM_DBLCHAR    = 12,  /* two ochar, either may be NULL */
  ZORATOM_TRISHORT   = 13,  /* three 16-bit numbers (made borrowed) */
  ZORATOM_ZORCOL     = 14,  /* zorcol column descriptor */
  ZORATOM_ZORNODE    = 15,  /* zornode expression tree */
  ZORATOM_SYSIBM     = 16,  /* osysibm catalogue record; a clone shares it */
  ZORATOM_DBLLIST    = 17,  /* two olist, either may be NULL */
  ZORATOM_MATCHCOL   = 19,  /* zorcol of the view, zorcol of the table */
  ZORATOM_COREDATA   = 21,  /* zorucoreData */
  ZORATOM_CONVERTER  = 22,  /* oconvert row converter */
  ZORATOM_LONGLONG   = 23   /* signed 64-bit: low word, high word */
};

#define ZORATOM_BORROWED 0x1   /* flag bit 0: the value belongs to someone else */

/*
** Operations of a kind whose values another folder owns.  The owning module
** fills one such table and registers it for its kinds before main runs (a
** static registration in the module's own file, so every program that can
** make such a value has registered it).  A kind nobody registered cannot be
** deep-copied (zoratomClone fails for a non-NULL value), is not printed,
** and its value is left alone by zoratomDestroy.
*/
struct zoratomOwner {
  void *(*procClone)(const void *pvValue);            /* deep copy, NULL when it fails */
  void  (*procDestroy)(void *pvValue);                /* frees the value and what it owns */
  void  (*procPrint)(const void *pvValue, FILE *pfile); /* debug dump on a stream */
  /* item-destroy callback that marks a chain of such values (column chains), or NULL */
  void  (*procDestroyChaineItem)(ochaine *pchaine, void *pitem);
};

/*
** zoratomSetOwner
**   Registers the operations of kind iKind (ZORATOM_ZORCOL, MATCHCOL,
**   ZORNODE or COREDATA); the table must live as long as the program.
**   Another kind is ignored: the model's own kinds are not replaceable.
*/
void zoratomSetOwner(int iKind, const zoratomOwner *powner);

/* The value word; which member is meaningful follows from the kind. */
union zoratomValue {
  uintptr_t     ulWord;       /* the whole word */
  void         *pValue;       /* any pointer kind */
  int32_t       iValue;       /* INTEGER and other 32-bit numbers; TYPE number */
  uint32_t      ulLow;        /* LONG LONG: low 32 bits */
  uint8_t       ucByte;       /* BYTE */
  char          cChar;        /* CHAR */
  uint16_t      usShort;      /* SHORT */
  uint16_t      ausShort[2];  /* TRISHORT: first and second number */
  ochar        *pchar;        /* DIM, OCHAR, DBLCHAR */
  olist        *plist;        /* OLIST, DBLLIST */
  ochaine      *pchaine;      /* TASKCHAINE, OCHAINE */
  obf          *pobf;         /* OBF */
  zorcol       *pcol;         /* ZORCOL, MATCHCOL */
  zornode      *pnode;        /* ZORNODE */
  osysibm      *psysibm;      /* SYSIBM */
  zorucoreData *pcoreData;    /* COREDATA */
  oconvert     *pconvert;     /* CONVERTER */
};

struct zoratom {
  const char   *pcName;       /* interned atom name, or NULL */
  int32_t       iKind;        /* ZORATOM_* */
  int32_t       iFlags;       /* ZORATOM_BORROWED */
  int16_t       sStartColumn; /* position of the control-file item; */
  int16_t       sStartLine;   /*   all four 0 for atoms the program */
  int16_t       sEndColumn;   /*   makes itself */
  int16_t       sEndLine;
  zoratomValue  value;
  zoratomValue  value2;       /* second value */
};

/*
** zoratomCreate
**   Makes an atom with the name, kind and flags; the value is kept as one
**   byte for BYTE, 16 bits for SHORT, else as the whole word (integers are
**   passed sign-extended or as their 32-bit pattern, pointers as themselves).
**   The position is taken from the two lexeme locations: start line and
**   column from the first line and column of plocStart, end line and column
**   from the last line and column of plocEnd, each cut to 16 bits; a missing
**   location gives zeros.  The second value is 0.
**   Returns the atom, or NULL when memory runs out (the value is untouched).
*/
zoratom *zoratomCreate(const char *pcName, int iKind, int iFlags, uintptr_t ulValue,
                       const ostreamLocation *plocStart, const ostreamLocation *plocEnd);

/*
** zoratomCreateType
**   A borrowed TYPE atom: value the type number (or size unit), second value
**   the letter code (or size).  Returns the atom, NULL when memory runs out.
*/
zoratom *zoratomCreateType(const char *pcName, int32_t iTypeNumber, int32_t iLetterCode,
                           const ostreamLocation *plocStart, const ostreamLocation *plocEnd);

/*
** zoratomCreateDoubleChar
**   A DBLCHAR atom, flags 0, owning both strings (either may be NULL).
**   Returns the atom, NULL when memory runs out (the strings stay the caller's).
*/
zoratom *zoratomCreateDoubleChar(const char *pcName, ochar *pcharFirst, ochar *pcharSecond,
                                 const ostreamLocation *plocStart, const ostreamLocation *plocEnd);

/*
** zoratomCreateTripleShort
**   A borrowed TRISHORT atom holding the three numbers in that order.
**   Returns the atom, NULL when memory runs out.
*/
zoratom *zoratomCreateTripleShort(const char *pcName, uint16_t usA, uint16_t usB, uint16_t usC,
                                  const ostreamLocation *plocStart, const ostreamLocation *plocEnd);

/*
** zoratomCreateMatchCol
**   A MATCHCOL atom, flags 0, owning the view column (value) and the table
**   column (second value).  Returns the atom, NULL when memory runs out (the
**   columns stay the caller's).
*/
zoratom *zoratomCreateMatchCol(const char *pcName, zorcol *pcolView, zorcol *pcolTable,
                               const ostreamLocation *plocStart, const ostreamLocation *plocEnd);

/*
** zoratomClone
**   A new atom with every field copied.  Unless the atom is borrowed, the
**   value (and the second value where the kind has one) is deep-copied by
**   the kind's rule; a catalogue record, and the value of a kind without a
**   copy rule, is shared and the clone is marked borrowed.
**   Returns the clone; NULL for NULL, or when memory runs out or a value
**   cannot be copied (nothing is left allocated then).
*/
zoratom *zoratomClone(const zoratom *patom);

/* zoratomClone in the form of a reference-list clone callback. */
void *zoratomClone(void *patom);

/*
** zoratomDestroy
**   Unless the atom is borrowed, releases its value(s) by the kind's rule;
**   then frees the atom.  NULL is ignored.  Value-destroy callback of every
**   task dictionary and of reference lists of atoms (hence void *).
*/
void zoratomDestroy(void *patom);

/* zoratomSetPosFromAtom: copies the four position fields of pfrom into patom. */
void zoratomSetPosFromAtom(zoratom *patom, const zoratom *pfrom);

/*
** zoratomSink
**   Where a dump of the request model goes: a trace keyword (each piece of
**   text one raw trace text) when pfile is NULL, else a stdio stream.  Used
**   by the atom and task dumps.
*/
struct zoratomSink {
  const char *pcKeyword;
  FILE       *pfile;
  /* writes one piece of text */
  __attribute__((format(printf, 2, 3))) void text(const char *pcFormat, ...) const;
  /* dumps a string: ocharDump2 on a stream, ocharPrintServices to a keyword */
  void string(const ochar *pchar) const;
};

/*
** zoratomPrintServices
**   Writes the atom's dump to the trace file of the keyword (through
**   omsgsTraceTo); nothing for a NULL keyword.
*/
void zoratomPrintServices(const zoratom *patom, const char *pcKeyword);

/*
** zoratomPrint
**   The same dump on a stdio stream, with the values printed by their
**   owners' print operations.
*/
void zoratomPrint(const zoratom *patom, FILE *pfile);

#endif
