/*
** zorurundb2.h
**   SELECTs that DB2 itself answers.  In the main process the run step
**   prepares such a SELECT (_zorurunPrepareSelectDB2: the CLI row layout,
**   the row converter and the size atoms) and forks one child for it:
**
**     DB2 SELECT child: writes its select status stream (no task count),
**       makes one synchronous writer per output file, connects, binds every
**       result column into one CLI row, fetches the rows, moves LOBs into
**       LOB files through their locators, converts each row and writes it
**       through every writer, then closes the writers (ZORU410I each) and
**       its connection.
**     Export child: hands the SELECT text to the DB2 export API once per
**       output file (once on standard output without OUTPUT).
**
**   Each child is one single-threaded process with its own DB2 connection;
**   no handle crosses a fork.  A child exits with its result code, so the
**   run step sees its low eight bits when it reaps it.
*/
#ifndef ZAV_RUN_ZORURUNDB2_H
#define ZAV_RUN_ZORURUNDB2_H

#include <cstdint>

#include "run/zorurun.h"

struct zorcontrol;
struct zortask;
struct zorwrite;

/* Read buffer of LOB pieces (one piece of 8192 bytes fits with room to spare). */
#define ZORURUN_LOB_BUFFER 32769

/*
** _zorurunPrepareSelectDB2
**   Main process: the source and target row definitions of the SELECT's
**   output columns (source offsets laid out as a CLI row), the row converter
**   (atom CONVERTER) and the atoms TAILLE_PARTIE_FIXE and
**   TAILLE_PARTIE_VARIABLE.  Each output column's core data gets the target
**   key in its low and the source key in its high 16 bits.
**   Returns 0, ORC_INVALID, ORC_NOMEM, or the converter's failure code.
*/
int _zorurunPrepareSelectDB2(zorcontrol *pcontrol, zortask *ptaskSelect);

/*
** _zorurunRunSelectDB2
**   Forks the DB2 SELECT child over a new status channel, records it in the
**   run context and reads its status stream; *piRemote is set when the child
**   left partitions to remote runs.
**   Returns 0, ZORURUN_RC_STATUS after ZORU363E or ZORURUN_RC_FORK after
**   ZORU359E.
*/
int _zorurunRunSelectDB2(zorurun *prun, zortask *ptaskSelect, int *piRemote);

/*
** _zorurunRunExportDB2
**   Forks the export child and records it in the run context.
**   Returns 0 or ZORURUN_RC_FORK after ZORU359E.
*/
int _zorurunRunExportDB2(zorurun *prun, zortask *ptaskSelect);

/*
** _zorurunRunSelectDB2Child
**   Main of the DB2 SELECT child (see the file comment).
**   Returns the code of the last row conversion (0 when no row came),
**   ZORURUN_RC_DB2WRITERS, ZORURUN_RC_NOMEM after ZORU430E,
**   SQLCAT_RC_DB2 after the diagnostics, or a writer's open code.
*/
int _zorurunRunSelectDB2Child(zorurunSelectLaunch *plaunch);

/*
** _zorurunRunExportDB2Child
**   Main of the export child.  Returns 0, or the connection's failure code.
**   Export failures are reported by the DB2 utility layer and not returned.
*/
int _zorurunRunExportDB2Child(zorurunSelectLaunch *plaunch);

/*
** _zorurunCreateDB2Writers
**   The synchronous writers of a DB2 SELECT: one per OUTPUT item written
**   from this host (ZORU367W for an ON REMOTE HOST item, which is written
**   here), partitions of other named hosts marked for remote runs and
**   counted in *piRemoteCount; without OUTPUT one writer on standard output.
**   Returns the array of *piWriterCount writers (free it with free), or
**   NULL with both counts 0 after ZORU430E when the array cannot be made.
**   With no writer at all the array is empty but not NULL.
*/
zorwrite **_zorurunCreateDB2Writers(zorurun *prun, zortask *ptaskSelect, int *piWriterCount, int *piRemoteCount);

#endif
