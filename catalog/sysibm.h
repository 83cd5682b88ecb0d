/*
** sysibm.h
**   Entry points of the control step into the DB2 catalogue read through
**   CLI: the table spaces of a database with their tables and columns, and
**   the table space and type of one table.  Both first (re)connect the
**   process's connection ghenv/ghdbc to the database with db2utilReconnect,
**   which keeps a connection to the same database.  The chains built here
**   and the records in them live until the process ends (see sqlcat.h);
**   their print callbacks are the trace printers of osysibm.
**
**   Trace keywords $SYSIBM and $SYSIBMD.  Main process, control step, one
**   thread.
*/
#ifndef ZAV_CATALOG_SYSIBM_H
#define ZAV_CATALOG_SYSIBM_H

#include "model/osysibm.h"

/*
** sysibmGetTablespace
**   Connects to pcDatabase (as pcUser with pcPassword when given) and
**   appends to pchaine, or to a new SYSTABLESPACE chain when it is NULL,
**   the table space named pcTablespace, or every data table space but
**   SYSCATSPACE when it is NULL.  Each record gets a copy of the database
**   name (DBNAME) and, while no query has failed, its chain of SYSTABLES
**   records, each table its chain of SYSCOLUMNS records.
**   Returns the chain (empty when the table space does not exist), or NULL
**   when the connection failed (or no chain could be made: ORC_NOMEM).
**   *prc receives the connection's code, or the code of the last query:
**   a table space without tables counts as 0, a table without columns
**   (ZORU353I) gives SQLCAT_RC_NOROW unless a later table of the same
**   table space is read; a query that fails otherwise ends the reading of
**   tables there.  Once *prc is not 0, the following table spaces get
**   their DBNAME but no tables, and *prc keeps that code.
*/
ochaine *sysibmGetTablespace(const char *pcDatabase, const char *pcTablespace, const char *pcUser,
                             const char *pcPassword, ochaine *pchaine, int *prc);

/*
** sysibmGetTSFromTB
**   The table space and type of the table pcharCreator.pcharName in the
**   database pcharDatabase (the three strings are made NUL-terminated in
**   their own buffers).  Connects as sysibmGetTablespace does.
**   Returns 0 with *ppcharTablespace (a new string, or NULL) and *pcType
**   ('T' table, 'V' view ...), the connection's code, or a code of
**   sqlcatGetTSFromTB.
*/
int sysibmGetTSFromTB(ochar *pcharCreator, ochar *pcharName, const char *pcUser, const char *pcPassword,
                      ochar *pcharDatabase, ochar **ppcharTablespace, char *pcType);

#endif
