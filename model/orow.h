/*
** orow.h
**   Row descriptors: one orow describes a row buffer (an unload record, a
**   row fetched through CLI, a converted catalogue row or a writer's output
**   row) and its columns, one rowColDef per column.  A source row is read at
**   start + 8 + record offset of each column (the first 8 bytes are the
**   record header, whose bytes 6-7 hold the fixed-part length); a target row
**   is written at its cursor, which the column converters advance.
**
**   Column type keys (16 bits) name what a column holds and, on a target,
**   how it is written; a conversion key is source key << 16 | target key
**   (model/oconvert.h dispatches on it).  Low byte: the internal type id
**   1..18 (model/osysibm.h), a DEL date/time/timestamp format code, or a
**   virtual-column code.  High bits: see the COLKEY_* constants.
**
**   A row owns its definition array, and its buffer when ORROW_OWNED is set.
**   Rows belong to one thread; forked processes work on their own copies.
*/
#ifndef ZAV_MODEL_OROW_H
#define ZAV_MODEL_OROW_H

#include <cstdint>

#include "common/oreason.h"

/* Column type key and conversion key. */
typedef uint16_t columnTypeKey;
typedef uint32_t convertKey;

/* Source key bits. */
#define COLKEY_NULLABLE  0x0800u  /* a null indicator follows the value (IXF targets copy it) */
#define COLKEY_CLI       0xD000u  /* the value comes from a row fetched through CLI */
/* Target key bits. */
#define COLKEY_DEL       0xB000u  /* DEL output */
#define COLKEY_IXF       0x8000u  /* IXF output */
#define COLKEY_LOBFILE   0x0400u  /* LOB written to a LOB file */
#define COLKEY_CONVERT   0x0200u  /* code-page conversion through ICU (DEL only) */
#define COLKEY_DD_LLS    0x0100u  /* doubled delimiters; with COLKEY_LOBFILE: LOB location specifier */
/* Low-byte codes besides the internal type ids. */
#define COLKEY_DATE_A    0x31u    /* DEL DATE formats A..P: 0x31 + letter - 'A' */
#define COLKEY_DATE_P    0x40u
#define COLKEY_TIME_A    0x41u    /* DEL TIME formats A..E */
#define COLKEY_TIME_E    0x45u
#define COLKEY_TS_A      0x46u    /* DEL TIMESTAMP formats A..F */
#define COLKEY_TS_F      0x4Bu
#define COLKEY_IXF_END   0x4Du    /* end of an IXF data record (virtual column) */
#define COLKEY_CONST     0x4Eu    /* constant text: DEL record end, IXF data-record header */

/* convertKey of a source and a target column type key. */
inline convertKey orowMakeConvertKey(uint32_t ulSourceKey, uint32_t ulTargetKey)
{
  return ((ulSourceKey & 0xFFFFu) << 16) | (ulTargetKey & 0xFFFFu);
}

/*
** One column of a row.  length: the column descriptor's subtype (bytes;
** DECIMAL precision << 8 | scale; graphic types in characters; DATE, TIME,
** TIMESTAMP 0 from the catalogue or 10, 8, 26 from CLI).  Offsets are -1 on
** target columns.  pExtra carries a target column's core data
** (run/zorucore.h).  An all-zero definition ends arrays given without count.
*/
struct rowColDef {
  int32_t   iType;        /* column type key */
  int32_t   iLength;      /* subtype, see above */
  uint16_t  usFlags;      /* bit 0 cleared when the definition is added to a row */
  uint16_t  usCCSID;
  int16_t   sOffset;      /* value offset from the byte after the 8-byte record header */
  int16_t   sNullOffset;  /* null-indicator offset, used when WHERE nodes are bound */
  char     *pcData;       /* data position (first column: the buffer start) */
  void     *pExtra;       /* target columns: zorucoreData */
  int32_t   iSpare;       /* 0 */
};

extern const rowColDef growColDefNull;  /* the all-zero end definition */

#define OROW_OWNED 0x4u                  /* the buffer belongs to the row */

/* Reason code of orowAddColumn. */
#define OROW_RC_FULL 0x10a005            /* no free definition entry */

struct orow {
  char      *pcStart;     /* buffer start, NULL when none */
  char      *pcEnd;       /* buffer end */
  uint32_t   ulFlags;     /* OROW_OWNED */
  char      *pcCursor;    /* next write position of a target row */
  uintptr_t  ulSpare;
  int32_t    iCurrent;    /* current column index */
  int32_t    iCapacity;   /* definition entries */
  int32_t    iCount;      /* definitions in use */
  rowColDef *pcoldef;     /* iCapacity entries */
};

/*
** orowCreate
**   A row without buffer, flags OROW_OWNED, no column, room for iCapacity
**   definitions (zeroed).  Returns the row, or NULL when memory runs out or
**   iCapacity is negative.
*/
orow *orowCreate(int32_t iCapacity);

/*
** orowAddColumn
**   Copies the definition into the next free entry, clearing its data
**   position and flag bit 0.  Returns 0, OROW_RC_FULL when every entry is in
**   use, ORC_INVALID for a NULL row or definition.
*/
int orowAddColumn(orow *prow, const rowColDef *pcoldef);

/*
** orowCreateFromDef
**   A row of iCount definitions copied from the array (as orowAddColumn);
**   with iCount 0, of the definitions before the first all-zero entry.
**   Returns the row, or NULL when memory runs out or the array is NULL.
*/
orow *orowCreateFromDef(const rowColDef *pcoldef, int32_t iCount);

/*
** orowSetBuffer
**   Frees a buffer the row owns, then: mode bit OROW_OWNED copies the data
**   into a new owned buffer, otherwise the row refers to the data (and no
**   longer owns a buffer).  start = the buffer, end = start + length,
**   cursor = start, current column 0, first column's data position = start.
**   Returns 0, or 1 when the copy cannot be allocated (start and end are
**   then NULL).
*/
int orowSetBuffer(orow *prow, const void *pData, int32_t ilLength, uint32_t ulMode);

/*
** orowResetBuffer
**   cursor = start, current column 0; mode bit 0 also zero-fills the buffer.
*/
void orowResetBuffer(orow *prow, uint32_t ulMode);

/*
** orowClone
**   A copy with its own definition array; an owned buffer is copied and the
**   copy's end, cursor and data positions then refer to the copied buffer;
**   a referred buffer stays shared.  Returns the copy, or NULL for NULL or
**   when memory runs out.
*/
orow *orowClone(const orow *prow);

/* orowDestroy: frees an owned buffer, the definition array and the row; NULL is ignored. */
void orowDestroy(orow *prow);

#endif
