/*
** zorucore.h
**   Core data and the conversion table.  A core-data record carries the
**   formatting parameters of one output column (separator, delimiters,
**   decimal point, sign, record-end text, default value, date/time template,
**   ICU converters, work buffer); the control step builds one per output
**   column and the column converters reach it through the target column
**   definition's pExtra.  aconvertTabLine lists every column converter with
**   the key pair it serves; zorucoreInitModule registers it, and the row
**   programs, with model/oconvert.
**
**   Ownership: a record owns its separator, delimiter, decimal-point and
**   plus-sign strings, its constant text, its default and template buffers
**   and its column descriptor.  The NULL texts, the ICU converters and the
**   work buffer are shared (with the NULL atom, and between the records of
**   one SELECT) and never freed here.  Records are made during the control
**   step and live until exit; forked processes use their own copies.
*/
#ifndef ZAV_RUN_ZORUCORE_H
#define ZAV_RUN_ZORUCORE_H

#include <cstdint>

#include "common/ochar.h"
#include "model/oconvert.h"

struct zorcol;
struct UConverter;

/* Flag bits. */
#define ZORUCORE_FLAG_SEP       0x4u      /* write the separator before the value */
#define ZORUCORE_FLAG_DELIM     0x8u      /* enclose the value in delimiters */
#define ZORUCORE_FLAG_PLUS      0x200u    /* "+" before positive SMALLINT, INTEGER, BIGINT */
#define ZORUCORE_FLAG_NULLTEXT  0x80000u  /* a null is written as the null text */

/* Indexes of the template positions. */
enum {
  ZORUCORE_POS_CENTURY = 0,
  ZORUCORE_POS_YEAR    = 1,
  ZORUCORE_POS_MONTH   = 2,
  ZORUCORE_POS_DAY     = 3,   /* day of year in the Julian layouts */
  ZORUCORE_POS_HOUR    = 4,
  ZORUCORE_POS_MINUTE  = 5,
  ZORUCORE_POS_SECOND  = 6,   /* TIME_C: position of the AM marker */
  ZORUCORE_POS_MICRO   = 7,
  ZORUCORE_POS_COUNT   = 8
};

struct zorucoreData {
  uint16_t    usTargetKey;      /* CLI SELECTs only: target key */
  uint16_t    usSourceKey;      /*   and source key (0xD000 bits mark a CLI value) */
  uint32_t    ulFlags;          /* ZORUCORE_FLAG_* */
  zorcol     *pcol;             /* column carried with the record (owned) */
  ochar       charSep;          /* separator; its first byte is written */
  char        cDelim;           /* delimiter character in the target CCSID */
  ochar       charDelim;        /* DELIM option text */
  ochar      *apcharNull[2];    /* the two NULL texts (shared, not owned) */
  ochar       charDecimal;      /* decimal point; first byte used */
  ochar       charSignPlus;     /* DECIMAL columns: sign of positive values */
  ochar      *pcharConstant;    /* record-end text or IXF data-record header (owned) */
  int32_t     iPic;             /* PIC flags of DECIMAL columns */
  int16_t     sDefaultLength;   /* bytes of the null/default text */
  int16_t     sTemplateLength;  /* bytes of the template */
  char       *pcDefault;        /* null/default text in output form (owned) */
  char       *pcTemplate;       /* date/time template (owned) */
  int16_t     asPos[ZORUCORE_POS_COUNT];  /* template positions */
  UConverter *pconvToUtf16;     /* source CCSID -> UTF-16 (shared) */
  UConverter *pconvFromUtf16;   /* UTF-16 -> target CCSID (shared) */
  int32_t     iWorkCapacity;    /* UTF-16 work capacity; IXF record end: index of its header column */
  char       *pcWorkBuffer;     /* one per SELECT (shared) */
  uint32_t    ulWorkSize;       /* bytes of the work buffer */
};

/* The conversion table, ended by {0xFFFF, 0xFFFF, NULL}. */
extern const convertTabLine aconvertTabLine[];

/* zorucoreTabCount: the number of rows of aconvertTabLine before its end row. */
int zorucoreTabCount(void);

/*
** zorucoreInitModule
**   Registers aconvertTabLine (oconvertRegisterTabConversion); a second call
**   only traces the duplicates.  Registers the row programs of
**   run/zorucoreprog.h (oconvertSetProgramOps).  Returns 0.
*/
int zorucoreInitModule(void);

/* zorucoreDataCreate: a zero-filled record, or NULL when memory runs out. */
zorucoreData *zorucoreDataCreate(void);

/*
** zorucoreDataClone
**   A new record with copies of the owned strings, buffers and column
**   (zorcolClone), and every other field as it is; the NULL texts, the ICU
**   converters and the work buffer are shared with the original.
**   Returns the copy, or NULL for NULL or when memory runs out (nothing is
**   left allocated then).
*/
zorucoreData *zorucoreDataClone(const zorucoreData *pcore);

/*
** zorucoreDataDestroy
**   Releases what the record owns (string buffers, constant text, default
**   and template buffers, column) and clears those fields; the record itself
**   is left for the caller to free().  NULL is ignored.  Returns 0.
*/
int zorucoreDataDestroy(zorucoreData *pcore);

#endif
