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

#endif
