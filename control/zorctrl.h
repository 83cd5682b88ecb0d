/*
** zorctrl.h
**   Output preparation of one SELECT.  At the end of the control step every
**   SELECT that will be unloaded (directly or through DB2) gets here its
**   output description: the output format and its defaults, the CCSID triple
**   of the output, one output-column task per selected column (COL target
**   column, SOURCECOL source column, COREDATA core data), the record-end
**   column (task ECSTASK) of DEL and DELIMITED, the LONGCOL flags and, for
**   IXF, the IXF header with its virtual columns.  The run step works from
**   these descriptions.  The steps themselves live in control/zorctrlu.h.
**
**   Runs in the main process, once per SELECT, after the SELECT's checks;
**   everything it makes stays in the task tree until exit.  Trace keyword
**   "$CTRL".
*/
#ifndef ZAV_CONTROL_ZORCTRL_H
#define ZAV_CONTROL_ZORCTRL_H

#include "common/oreason.h"

struct zorcontrol;
struct zortask;

/* FORMAT USER column specs were left unused by the SELECT. */
#define ZORCTRL_RC_UNUSED_SPEC ORC_MAKE(0x105, 0xa, 2)   /* 0x105a002 */

/* An output file of the SELECT cannot be written (ZORU493E). */
#define ZORCTRL_RC_OUTPUT ORC_MAKE(0x105, 2, 0x040)   /* 0x105a040 an output file cannot be written (ZORU493E) */
/* A LOB directory of the SELECT cannot be written (ZORU494E). */
#define ZORCTRL_RC_LOBDIR ORC_MAKE(0x105, 2, 0x041)   /* 0x105a041 a LOB directory cannot be written (ZORU494E) */

/* Format codes of the FORMAT atom. */
#define ZORCTRL_FORMAT_DELIMITED 1
#define ZORCTRL_FORMAT_USER      5
#define ZORCTRL_FORMAT_IXF       11
#define ZORCTRL_FORMAT_DEL       13

/*
** _zorcontrolFormatZavSelect
**   Prepares the output of ptaskSelect: format (DEL when none is given),
**   CCSID triple, format defaults, output-column tasks matched with the
**   FORMAT USER column specs and sorted by column number, LONGCOL, the
**   record-end column, the IXF header and virtual columns, and the core
**   data of every output column.  Unused column specs are reported
**   (ZORU071E or ZORU072E), removed and destroyed.
**   Returns 0; ZORCTRL_RC_UNUSED_SPEC when a column spec was unused;
**   the reason code of ixfWriteHeader or ixfAddVirtualCol when the IXF
**   header or its virtual columns cannot be made; ORC_NOMEM when memory
**   runs out; ORC_INVALID for a NULL argument.
*/
int _zorcontrolFormatZavSelect(zorcontrol *pcontrol, zortask *ptaskSelect);

/*
** zorcontrolCheckOutputs
**   Before anything runs (and with -n), the files of ptaskSelect that this
**   host writes can be written, with the effective identity that will
**   write them: an OUTPUT file on the current host (not in a run for
**   another host) that exists is a writable file, else its directory
**   exists and can be written into; so does the directory of an ON REMOTE
**   HOST file when a partition of its set is read here.  With LOBFILE, each
**   LOB IN directory whose partitions are read here (the working directory
**   without LOB IN) exists and can be written into.  Files on a named host
**   are that host's to check.  The first file that fails is named with the
**   path at fault and the system's reason.
**   Returns 0; ZORCTRL_RC_OUTPUT after ZORU493E; ZORCTRL_RC_LOBDIR after
**   ZORU494E.
*/
int zorcontrolCheckOutputs(zorcontrol *pcontrol, zortask *ptaskSelect);

#endif
