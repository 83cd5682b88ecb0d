/*
** parm.h
**   The parameter library: the built-in installation parameters of the
**   program, in eleven members.  Each member is a table of field
**   descriptors and an accessor that maps an item number to the address of
**   the item's variable; the variables hold the compiled-in defaults at
**   start.  The configuration reader overwrites some OPTUNL and OPTDB2
**   fields with the user defaults of the configuration file once at start-up;
**   the driver reads fields into the PARMLIB task; the expression code reads
**   OPTDB2I fields 8 (DECPDATE), 12 (DECPAR) and 14 (DECPSID).  From then on
**   the library is only read; forked processes inherit the values.
**
**   A caller reaches a field through its member's row of Gaparmlink (the row
**   index is the member number) and reads or writes the variable in place
**   with the width its type gives:
**     type 1, 5, 6  text of the descriptor's length (not NUL-terminated)
**     type 2        int32_t          type 3  int16_t        type 4  float
**     type 7        counted text in two items: item n an int16_t length,
**                   item n + 1 a const char * to the text
**
**   The module also defines the process-wide lexical characters and code
**   pages that the parsers, the string code and the DB2 utility layer share.
*/
#ifndef ZAV_MODEL_PARM_H
#define ZAV_MODEL_PARM_H

#include <cstdint>
#include <cstdio>

/* Field types. */
enum {
  PARM_TEXT    = 1,   /* text of the given length */
  PARM_LONG    = 2,   /* 32-bit signed integer */
  PARM_SHORT   = 3,   /* 16-bit signed integer */
  PARM_FLOAT   = 4,   /* 4-byte float */
  PARM_TEXT5   = 5,   /* text of the given length */
  PARM_TEXT6   = 6,   /* text of the given length */
  PARM_COUNTED = 7    /* counted text: length item, then text-pointer item */
};

/* Member numbers (rows of Gaparmlink). */
enum {
  PARM_AUTTIME  = 0,
  PARM_OPTGEN   = 1,
  PARM_INFVSMIG = 2,
  PARM_OPTSORT  = 3,
  PARM_OPTACMD  = 4,
  PARM_OPTDB2   = 5,
  PARM_OPTUNL   = 6,
  PARM_OPTRGOL  = 7,
  PARM_OPTRGAR  = 8,
  PARM_OPTLOAD  = 9,
  PARM_OPTDB2I  = 10,
  PARM_MEMBERS  = 11
};

/* Builds a parameter id from a member number and an item number. */
#define PARM_ID(member, item) ((int32_t)(((member) << 16) | (item)))

/*
** Field descriptor, one row of a member's table (24 bytes).  A table ends
** with a row whose name starts with a NUL byte and whose id is 0.
*/
struct parmField {
  char     acName[8];   /* field name, padded with blanks or NULs */
  uint32_t ulZero;      /* 0, so that the name reads as a NUL-terminated text */
  int32_t  iType;       /* PARM_* */
  int32_t  iLength;     /* bytes of a text; 1 for numbers and counted texts */
  int32_t  iId;         /* member number << 16 | item number */
};
static_assert(sizeof(parmField) == 24, "field descriptor is 24 bytes");

/*
** Member accessor: (pointer to an item number) -> the address of that
** item's variable, or NULL for an item the member does not serve.
*/
typedef void *(*parmAccessor)(const int32_t *piItem);

/* Member link row: member name (8 characters) and accessor. */
struct parmLink {
  char         acName[8];
  parmAccessor procAccessor;
};

/* Member link table: rows 0 to 10 by member number, then a row of zeros. */
extern const parmLink Gaparmlink[PARM_MEMBERS + 1];

/* Descriptor tables of the members. */
extern const parmField tParmCsectAuttime[];
extern const parmField tParmCsectOptgen[];
extern const parmField tParmCsectInfvsmig[];
extern const parmField tParmCsectOptsort[];
extern const parmField tParmCsectOptacmd[];
extern const parmField tParmCsectOptdb2[];
extern const parmField tParmCsectOptunl[];
extern const parmField tParmCsectOptrgol[];
extern const parmField tParmCsectOptrgar[];
extern const parmField tParmCsectOptload[];
extern const parmField tParmCsectOptdb2i[];

/* Member accessors (the procAccessor of each Gaparmlink row). */
void *asmAuttime(const int32_t *piItem);
void *asmOptgen(const int32_t *piItem);
void *asmInfvsmig(const int32_t *piItem);
void *asmOptsort(const int32_t *piItem);
void *asmOptacmd(const int32_t *piItem);
void *asmOptdb2(const int32_t *piItem);
void *asmOptunl(const int32_t *piItem);
void *asmOptrgol(const int32_t *piItem);
void *asmOptrgar(const int32_t *piItem);
void *asmOptload(const int32_t *piItem);
void *asmOptdb2i(const int32_t *piItem);

/* Process-wide lexical settings and code pages. */
extern char     gwcLitteral;    /* string delimiter of the lexers: the apostrophe */
extern char     gwcQualified;   /* delimited-identifier character: the double quote */
extern char     gwcDecimal;     /* decimal point of the lexers: "." */
extern uint16_t gccsidSBCS;     /* single-byte CCSID (850 until the language set-up) */
extern uint16_t gccsidMixed;    /* mixed CCSID (0 until the language set-up) */
extern uint16_t gccsidDBCS;     /* double-byte CCSID (0 until the language set-up) */
extern int32_t  gboMixed;       /* mixed-site flag, 0 */

/*
** parmGetWithControl
**   Returns the address of the field's variable through its member's
**   accessor; NULL for a member number outside the table or an item the
**   member does not serve.  The code is not used.
*/
void *parmGetWithControl(int32_t iParmId, int32_t iCode);

/*
** parmCsectTrace
**   Writes a newline, one parmPrint line per row of the descriptor table up
**   to its end row (rows whose variable address is NULL are skipped), then a
**   newline.  Nothing for a NULL stream or table.
*/
void parmCsectTrace(FILE *pfile, const parmField *ptable);

/*
** parmPrint
**   Writes one line for a field of the given length and type, named pcName,
**   whose value is at pValue (for a counted text: a parmCounted pair).
**   Nothing for a NULL stream, a NULL value or an unknown type.
*/
void parmPrint(FILE *pfile, int32_t iLength, int32_t iType, const char *pcName, const void *pValue);

/* Length-and-pointer pair that parmPrint takes for a counted text. */
struct parmCounted {
  int16_t     sLength;
  const char *pcText;
};

/* parmSetFileTrace: records a trace stream in the module; nothing reads it. */
void parmSetFileTrace(FILE *pfile);

#endif
