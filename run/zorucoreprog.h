/*
** zorucoreprog.h
**   Row programs of the DEL and IXF converters (model/oconvert.h).  A
**   program holds one step per column, made once from the column's
**   converter function, source definition and core data: a step that
**   writes the usual case itself (a value present in the record, written
**   without code-page conversion) with the parameters it took from the
**   core data, or a call of the column's function.  Running it writes the
**   same row as the column functions, for every row:
**     - a step whose value is absent, null, outside the record, not a valid
**       value, or that needs a delimiter doubled, calls the column's
**       function instead (so do steps whose function was replaced);
**     - the rows' current columns and cursor are brought up to date before
**       each call; a call that does not end with code 0 and both current
**       columns on the next column hands the rest of the row to the column
**       functions (oconvertConvertColumns), as does a row or output buffer
**       that the steps cannot take whole;
**     - the steps write their text in one piece where the column functions
**       write it; some write up to 32 bytes past it (whole words), which a
**       later column replaces or which lie past the row's cursor (the
**       program keeps room for them: a row whose buffer is too short for
**       every step's largest text is left to the column functions).
**   A program is not made when no column has a step of its own, nor when a
**   column writes a text with holes (a date format whose positions leave
**   bytes of its text unwritten): there the bytes of the buffer before the
**   row would show, and a program could not keep them.
**
**   Steps of their own: SMALLINT, INTEGER, BIGINT, DECIMAL, DOUBLE, REAL,
**   CHAR, VARCHAR and the DEL date/time formats without day of year or
**   12-hour clock, into DEL; the record end without code-page conversion;
**   SMALLINT, INTEGER, BIGINT, REAL, DOUBLE, DECIMAL, CHAR, GRAPHIC,
**   VARCHAR, VARGRAPHIC, DATE, TIME and TIMESTAMP into IXF, and the header
**   and end of its data records (run/ixf.h); only for rows read from table
**   spaces or backups (CLI rows get no program).
**
**   zorucoreInitModule registers the three operations with model/oconvert.
**   A program is only read while it runs: any number of threads may run it
**   on rows of their own.
*/
#ifndef ZAV_RUN_ZORUCOREPROG_H
#define ZAV_RUN_ZORUCOREPROG_H

struct oconvert;

/*
** zorucoreprogMake
**   The program of the converter's rows and functions; the target
**   definitions' pExtra is read as core data only for the columns whose
**   functions are this system's DEL and IXF converters.  Returns it, or
**   NULL when no column has a step of its own, a column writes a text with
**   holes, a source column is fetched through CLI, the rows' capacities
**   differ from their column counts, or memory runs out.
*/
void *zorucoreprogMake(const oconvert *pconvert);

/*
** zorucoreprogRun
**   Converts the converter's source row into its target row as
**   oconvertConvertColumns(pconvert, 0, 0, 0) would.  Returns its code.
*/
int zorucoreprogRun(const void *pProgram, oconvert *pconvert);

/* zorucoreprogFree: frees a program; NULL is ignored. */
void zorucoreprogFree(void *pProgram);

#endif
