/*
** oconvert.h
**   Row converters.  An oconvert holds a source row, a target row
**   (model/orow.h) and one column converter function per column, chosen once
**   when the converter is made by looking the conversion key (source type
**   key << 16 | target type key) up in the module dictionary.  The
**   dictionary is filled from tables of convertTabLine rows, ended by a row
**   whose function is NULL (run/zorucore.cpp registers the system's table).
**
**   Module state: the dictionary gpdictConvert and its user count
**   gbInitialized: 0 not initialised, 1 initialised, + 1 for each converter
**   made or cloned and alive.  oconvertDestroy drops one user; the
**   dictionary goes when the last user goes (count 1 -> 0), or through
**   oconvertDestroyModule when no converter is left.  Converters are made
**   in the main process or a SELECT child and reach writer processes as
**   copies made by fork; one thread per process uses the module.
**
**   Row programs.  A module above this one may register operations that
**   compile a converter's columns into one routine (a row program) which
**   converts a whole row as the column functions would, byte for byte and
**   code for code, without calling them for the values it writes itself.
**   oconvertCreate and oconvertClone make the converter's program from the
**   rows' definitions and core data as they are then: those must not change
**   afterwards (the column functions may: a program checks each function
**   it stands for before every row).  oconvertConvert runs the program when
**   there is one.  A converter copied member by member (a thread's copy
**   with rows of its own made from the same definitions) may share the
**   original's program, which it must not outlive; a program is only read
**   while rows convert, by any number of threads.
*/
#ifndef ZAV_MODEL_OCONVERT_H
#define ZAV_MODEL_OCONVERT_H

#include <cstdint>

#include "model/orow.h"

struct odict;

/*
** Column converter: reads the source column at the source's current
** column, writes at the target cursor, advances both current columns and
** the cursor past what it wrote.  Returns 0, or a code that drops the row.
*/
typedef int (*oconvertFunc)(orow *prowSource, orow *prowTarget);

/* One row of a conversion table; a row with a NULL function ends a table. */
struct convertTabLine {
  uint16_t     usSourceKey;
  uint16_t     usTargetKey;
  oconvertFunc func;
};

/* Ownership flags of oconvertCreate. */
#define OCONVERT_OWN_SOURCE 0x1u
#define OCONVERT_OWN_TARGET 0x2u

/* Reason codes (module 0x010). */
#define OCONVERT_RC_NOMEM     1           /* converter or function array not allocated */
#define OCONVERT_RC_STOPROW   0x10a003    /* from this code on a row ends at the column */
#define OCONVERT_RC_COLUMNS   0x10a006    /* source and target capacities differ */
#define OCONVERT_RC_NOFUNC    0x10a007    /* no converter for a key pair (ZORI154E) */
#define OCONVERT_RC_NODICT    0x10a008    /* the dictionary cannot be created */

struct oconvert {
  uint32_t      ulFlags;     /* OCONVERT_OWN_* */
  orow         *prowSource;
  orow         *prowTarget;
  oconvertFunc *pfunc;       /* one per source definition entry (capacity) */
  void         *pProgram;    /* row program, NULL when none (owned, see above) */
};

/* The operations of row programs (all three set). */
struct oconvertProgramOps {
  /* the program of a converter, or NULL when it would call every column function anyway */
  void *(*make)(const oconvert *pconvert);
  /* converts the converter's rows as oconvertConvert describes; returns its code */
  int (*run)(const void *pProgram, oconvert *pconvert);
  void (*release)(void *pProgram);
};

extern odict *gpdictConvert;   /* conversion key -> oconvertFunc */
extern int    gbInitialized;   /* user count, see above */

/* oconvertInitModule: creates the dictionary when the module is not initialised; count 1. */
void oconvertInitModule(void);

/* oconvertDestroyModule: destroys the dictionary when the user count is exactly 1; count 0. */
void oconvertDestroyModule(void);

/*
** oconvertRegisterConversion / oconvertRegisterTabConversion
**   Create the dictionary when there is none, then store the function of the
**   row (of each row of the table up to the first with a NULL function) under
**   its key; a key already present is replaced after the trace line
**   "Warning Duplicate Conversion Definition %i, %i".
**   Return 0, OCONVERT_RC_NODICT when the dictionary cannot be created,
**   ORC_NOMEM when an entry cannot be stored, ORC_INVALID for NULL.
*/
int oconvertRegisterConversion(const convertTabLine *pline);
int oconvertRegisterTabConversion(const convertTabLine *ptable);

/*
** oconvertSetProgramOps
**   Registers the operations of row programs (NULL: none); converters made
**   from then on get programs.  Called at start-up by the module that
**   provides them.
*/
void oconvertSetProgramOps(const oconvertProgramOps *pops);

/*
** oconvertLookup
**   The function registered for the key, or NULL (also when there is no
**   dictionary).
*/
oconvertFunc oconvertLookup(convertKey ulKey);

/*
** oconvertCreate
**   A converter of the two rows, one function per column looked up by the
**   columns' conversion keys.  Counts one module user (initialising the
**   module first when needed).
**   ulOwnership: OCONVERT_OWN_* bits; the rows so marked belong to the
**   converter from now on, also when creation fails after the allocation
**   (they are then freed).
**   Returns the converter with *piRc 0, or NULL with *piRc:
**   OCONVERT_RC_NODICT, OCONVERT_RC_COLUMNS (capacities differ; rows kept),
**   OCONVERT_RC_NOMEM (rows kept), ORC_INVALID (a NULL row),
**   OCONVERT_RC_NOFUNC after ZORI154E with the first key without function.
*/
oconvert *oconvertCreate(orow *prowSource, orow *prowTarget, uint32_t ulOwnership, int *piRc);

/*
** oconvertConvert
**   Runs the column functions in order while the codes stay at or below
**   0x10a002; a code from OCONVERT_RC_STOPROW on ends the row there.
**   Returns the highest code (signed), 0 when the row converted.
*/
int oconvertConvert(oconvert *pconvert);

/*
** oconvertConvertColumns
**   The rest of a row: runs the column functions from index iFrom on as
**   oconvertConvert does, continuing from the highest code iHighest and
**   the last code iLast of the columns before (0 and 0 from the start).
**   Returns the highest code.
*/
int oconvertConvertColumns(oconvert *pconvert, int32_t iFrom, int iHighest, int iLast);

/*
** oconvertClone
**   A copy that counts one more module user, with clones of the rows the
**   converter owns (shared references to the others), its own function
**   array and its own row program.  Returns the copy, or NULL for NULL or
**   when memory runs out.
*/
oconvert *oconvertClone(const oconvert *pconvert);

/*
** oconvertDestroy
**   Drops one module user (the dictionary goes when the count was 1), frees
**   the rows the converter owns, the row program, the function array and
**   the converter.
**   NULL is ignored.
*/
void oconvertDestroy(oconvert *pconvert);

#endif
