/*
** zorctrlu.h
**   The steps of the output preparation (control/zorctrl.h): CCSID triple,
**   format defaults, matching of FORMAT USER column specs, format checks
**   that build the target type keys, long-column detection, the record-end
**   column, the core data of every output column and its ICU converters.
**   Each is called only by _zorcontrolFormatZavSelect, in the main process.
**
**   Type keys (zorcol usType): the source key is the internal type id in the
**   low byte, plus 0x0800 for a nullable column and 0xD000 when the SELECT
**   goes through DB2.  Target keys are 0xB000-based for DEL and DELIMITED,
**   0x8000-based for IXF; 0x0200 marks a column converted between code
**   pages.  Date and time target keys carry their layout in the low byte:
**   DATE_x is x - 0x10, TIME_x is x, TIMESTAMP_x is x + 5.
**
**   Trace keyword "$CTRLU".  ICU converters opened here belong to the core
**   data and are never closed.
*/
#ifndef ZAV_CONTROL_ZORCTRLU_H
#define ZAV_CONTROL_ZORCTRLU_H

#include <cstdint>

#include "common/oreason.h"

struct olist;
struct zorcontrol;
struct zortask;
struct zorcol;
struct zorucoreData;

/* A converter of the column could not be opened (ZORU360E issued). */
#define ZORCTRLU_RC_CONVERTER ORC_MAKE(0x105, 0xa, 0x16)   /* 0x105a016 */
/* A delimited file cannot be written in the output code page (ZORU470E). */
#define ZORCTRLU_RC_DELCCSID  ORC_MAKE(0x105, 2, 0x030)    /* 0x105a030 */
/* The separator of a delimited file would stand inside fields (ZORU472E). */
#define ZORCTRLU_RC_DELCLASH  ORC_MAKE(0x105, 2, 0x031)    /* 0x105a031 */
/* FILEMAXSIZE leaves no room for a row after the IXF header (ZORU475E). */
#define ZORCTRLU_RC_FILEMAX   ORC_MAKE(0x105, 2, 0x032)    /* 0x105a032 */

/* Task flags used during the preparation. */
#define ZORCTRLU_TASK_UNUSED    0x1u    /* FORMAT USER column spec not matched yet */
#define ZORCTRLU_TASK_BY_NUMBER 0x20u   /* column spec matched by its number */

/* Values of the SCHEME atom. */
#define ZORCTRLU_SCHEME_ASIS    0xC1E2
#define ZORCTRLU_SCHEME_ASCII   0xC1E2C3
#define ZORCTRLU_SCHEME_EBCDIC  0xC5C2C3
#define ZORCTRLU_SCHEME_UNICODE 0xE4D5C9

/* Capped storage length that sizes the work buffer. */
#define ZORCTRLU_MAX_WORK 32700

/*
** zorcontrolCcsidScheme
**   Chooses the output CCSID triple (single-byte, mixed, double-byte) from
**   the SCHEME in force and the conversion context, then completes the
**   zero members of the CCSID atom in force (in the task that holds it), or
**   adds a CCSID atom to the SELECT when none is in force.  IXF (iFormat 11)
**   is not converted: its SELECT gets its own CCSID atom of the triple,
**   whatever CCSID is in force above it.
**   Returns 0, or ORC_NOMEM when the atom cannot be made.
*/
int zorcontrolCcsidScheme(zorcontrol *pcontrol, zortask *ptaskSelect, int iFormat);

/*
** zorcontrolUdbDetermineDefault
**   DEL: forces SEP ",", DELIM '"', TIMESTAMP_B, TIME_A, DATE_K and CR "\n"
**   on the SELECT.  DELIMITED: adds those not in force, and CR "\n".
**   A CR the SELECT itself holds is replaced by "\n" in both.
**   Other formats: nothing.
**   Returns 0, or ORC_NOMEM.
*/
int zorcontrolUdbDetermineDefault(zorcontrol *pcontrol, zortask *ptaskSelect, int iFormat);
int _zorcontrolUdbDefaultDel(zorcontrol *pcontrol, zortask *ptaskSelect);
int _zorcontrolUdbDefaultDelimited(zorcontrol *pcontrol, zortask *ptaskSelect);

/*
** zorcontrolUdbIgnoredOptions
**   Warns (ZORU474W) of each option the SELECT or a block above it gives
**   that its format does not apply: DATE, TIME and TIMESTAMP under DEL and
**   IXF, DATEDELIM, TIMEDELIM and CCSID under IXF, and NULL, NULL DELIM and
**   PIC under every format.  Values of the parameter library and the
**   configuration are defaults, not options given: they are not reported.
**   Call it before zorcontrolCcsidScheme and zorcontrolUdbDetermineDefault,
**   which put atoms of their own on the SELECT.  Returns 0.
*/
int zorcontrolUdbIgnoredOptions(zorcontrol *pcontrol, zortask *ptaskSelect, int iFormat);

/*
** zorcontrolUdbDelCodePage
**   DEL and DELIMITED: every byte of the file is in the output code page
**   (the mixed member of the CCSID triple).  The converters write digits,
**   signs and a few letters as ASCII bytes, so the code page of the rows
**   must hold them as the same bytes; the separator, delimiter, decimal
**   point, date and time delimiters and record end in force are converted
**   into it and put on the SELECT as its own atoms (the separator,
**   delimiter and decimal point must become one byte each).  The rows are
**   made in the output code page, except for UTF-16 (1200): they are made
**   in UTF-8 (1208) and the record end converts each whole (see
**   zorcontrolUdbInsertProEpilogue); UTF-16 as 1202 or 13488 is refused.
**   Without an output code page (mixed CCSID 0) nothing changes.  Also
**   refuses a separator that could stand inside a field (the delimiter, the
**   decimal point, a character of numbers, a byte of the date delimiter or
**   of the record end) and a delimiter inside the record end.  Other
**   formats: nothing.
**   Returns 0; ZORCTRLU_RC_DELCCSID after ZORU470E; ZORCTRLU_RC_DELCLASH
**   after ZORU472E; ORC_NOMEM.
*/
int zorcontrolUdbDelCodePage(zorcontrol *pcontrol, zortask *ptaskSelect, int iFormat);

/*
** zorcontrolFindEcs
**   The FORMAT USER column spec (task of plistSpec) of the selected
**   column pcol: by number first (the column spec takes the column's name
**   when it has none, and is marked ZORCTRLU_TASK_BY_NUMBER), else by name
**   among those not matched by number (the column spec takes the
**   column's number).  Returns the column spec task, or NULL.
*/
zortask *zorcontrolFindEcs(zorcontrol *pcontrol, olist *plistSpec, zorcol *pcol);

/*
** zorcontrolUdbEcs
**   Format checks of one output-column task: the source key gains 0x0800
**   for a nullable column; the target key is built for IXF, DEL and
**   DELIMITED; 0xD000 is set in the source key when !iDirect.
**   iLast, iFirst: the column is the tail, the head of the SELECT chain.
**   Returns 0.
*/
int zorcontrolUdbEcs(zorcontrol *pcontrol, zortask *ptaskEcs, int iFormat, int iLast, int iFirst, int iDirect);
int _zorcontrolUdbCheckEcsDelimited(zorcontrol *pcontrol, zortask *ptaskEcs, int iDirect);
int _zorcontrolUdbCheckEcsIxf(zorcontrol *pcontrol, zortask *ptaskEcs, int iDirect);

/*
** zorcontrolSortEcs
**   Orders two output-column tasks (arguments point at task pointers) by the
**   number of their COL column.
**   Returns -1, 0 or 1 (comparison for zortaskSortSubTask).
*/
int zorcontrolSortEcs(const void *pptaskA, const void *pptaskB);

/*
** zorcontrolUdbDetectLongColums
**   Adds LONGCOL to the SELECT: bit 1 for a LONG VARCHAR or LONG VARGRAPHIC
**   source column, bit 0 for a LOB.  Returns 0, or ORC_NOMEM.
*/
int zorcontrolUdbDetectLongColums(zorcontrol *pcontrol, zortask *ptaskSelect);

/*
** zorcontrolUdbInsertProEpilogue
**   When the SELECT's own dictionary has a CR atom, appends the record-end
**   output-column task ECSTASK (constant column of the CR text).  For a
**   DEL or DELIMITED file in UTF-16 (1200) its core data gets the record
**   converters, UTF-8 to UTF-16 and UTF-16 to ibm-1200 (high byte first,
**   no byte-order mark): the record end converts the row it ends.
**   Returns 0, ZORCTRLU_RC_CONVERTER after ZORU360E when they cannot be
**   opened, or ORC_NOMEM.
*/
int zorcontrolUdbInsertProEpilogue(zorcontrol *pcontrol, zortask *ptaskSelect, int iFormat);

/*
** zorcontrolUdbIxfFileMaxSize
**   IXF with FILEMAXSIZE: each file of the SELECT begins with the IXF
**   header, which counts in FILEMAXSIZE; a FILEMAXSIZE that leaves no room
**   for a row after it is refused.  Call it after the header is built.
**   Returns 0, or ZORCTRLU_RC_FILEMAX after ZORU475E.
*/
int zorcontrolUdbIxfFileMaxSize(zorcontrol *pcontrol, zortask *ptaskSelect);

/*
** zorcontrolUdbCreateCoreData
**   Makes the SELECT-level core data with its work buffer (4 x the largest
**   capped source storage length), and a filled copy of it for every
**   output-column task that has none.  Every column is filled; the first
**   failure is returned.
**   Returns 0, ZORCTRLU_RC_CONVERTER when a column's converters cannot be
**   opened (ZORU360E, ZORU471E), or ORC_NOMEM.
*/
int zorcontrolUdbCreateCoreData(zorcontrol *pcontrol, zortask *ptaskSelect);

/*
** _zorcontrolUdbCreateEcsCoreData
**   Fills the core data of one output-column task (iFirst: the first column
**   of the SELECT).  Returns 0, ZORCTRLU_RC_CONVERTER after ZORU360E and
**   ZORU471E when the column's converters cannot be opened, or ORC_NOMEM.
*/
int _zorcontrolUdbCreateEcsCoreData(zorcontrol *pcontrol, zortask *ptaskEcs, int iFirst);

/*
** _zorcontrolUdbOpenConverters
**   Opens the ICU converters of a column into the core data: source CCSID
**   to UTF-16 (none for 1202), UTF-16 to target CCSID (none for 1200).
**   Both replace what they cannot convert and count it
**   (zorucoreCountReplaced).
**   Returns 0, or ZORCTRLU_RC_CONVERTER after ZORU360E when one cannot be
**   opened (that side then has no converter), or without message when the
**   counting cannot be set up.
*/
int _zorcontrolUdbOpenConverters(zorucoreData *pcore, uint16_t usSourceCCSID, uint16_t usTargetCCSID);

#endif
