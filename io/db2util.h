/*
** db2util.h
**   The program's thin layer over the DB2 client library: CLI connections
**   (the main process's ghenv/ghdbc and each partition reader's own pair),
**   quiesce and lock around the reading of one partition, instance attach
**   and database configuration, the partition list sqllib/db2nodes.cfg, the
**   database directory, authorities, the export API and the check that a
**   DB2 environment can be made.  Every DB2 failure is reported the same
**   way: a message of this module saying what failed, then the DB2
**   diagnostic texts as ZORU306E lines.
**
**   One thread per process.  No connection is used across a fork; the
**   instance attach flag is per process.
*/
#ifndef ZAV_IO_DB2UTIL_H
#define ZAV_IO_DB2UTIL_H

#include "platform/db2cli.h"

#include <cstdint>

struct ochar;
struct zortask;

/* Reason codes */
#define DB2UTIL_RC_REGISTER   0x280a001  /* unload registration failed */
#define DB2UTIL_RC_RESET      0x280a002  /* quiesce reset after a begin under LOCK NO failed */
#define DB2UTIL_RC_CONNECT    0x280a003  /* connecting failed twice */
#define DB2UTIL_RC_ENV        0x280a004  /* environment handle not allocated */
#define DB2UTIL_RC_DBC        0x280a005  /* connection handle not allocated */
#define DB2UTIL_RC_AUTH       0x280a006  /* authority query failed, or no SYSADM/DBADM */
#define DB2UTIL_RC_NODB       0x280a007  /* database in no directory entry, or no directory */
#define DB2UTIL_RC_NODE       0x280a008  /* directing the connection to the partition failed */
#define DB2UTIL_RC_SCAN       0x280a009  /* directory scan failed otherwise */
#define DB2UTIL_RC_EXPORT     0x280a00a  /* the export API failed */

/* Longest host name of a partition entry, with its NUL. */
#define DB2UTIL_HOST_SIZE 104

/* One line of db2nodes.cfg; iNode is -1 for a number no line names. */
struct db2utilNode {
  int32_t iNode;
  char acHost[DB2UTIL_HOST_SIZE];
  int32_t iPort;
};

/* The main process's CLI environment and connection (0 = none). */
extern SQLHENV ghenv;
extern SQLHDBC ghdbc;

/*
** db2utilReconnect
**   Keeps the connection when it is to pcDatabase already; otherwise closes
**   it and connects to pcDatabase (as pcUser with pcPassword when a user is
**   given), retrying once after a second.
**   Returns 0, DB2UTIL_RC_CONNECT, DB2UTIL_RC_ENV or DB2UTIL_RC_DBC; on
**   failure both handles are 0.
*/
int db2utilReconnect(const char *pcDatabase, const char *pcUser, const char *pcPassword, SQLHENV *phenv,
                     SQLHDBC *phdbc);

/* db2utilDisconnect: closes and frees the pair (nothing when *phenv is 0). */
void db2utilDisconnect(SQLHENV *phenv, SQLHDBC *phdbc);

/* db2utilVerifyInstance: makes and frees an environment handle.
** Returns 0 or DB2UTIL_RC_ENV (no message: the caller reports it). */
int db2utilVerifyInstance(void);

/*
** db2utilQuiesceLock
**   Before a partition reader reads: unless the table is qualified SYSIBM,
**   and when QUIESCE or LOCK is YES, connects the reader's own pair to the
**   partition and registers the unload; under LOCK NO the lock is released
**   again at once.  The connection stays open for the reader.
**   Returns 0, DB2UTIL_RC_REGISTER, DB2UTIL_RC_RESET, DB2UTIL_RC_CONNECT,
**   DB2UTIL_RC_DBC or DB2UTIL_RC_NODE.
*/
int db2utilQuiesceLock(zortask *ptaskSelect, int iPartition, SQLHENV *phenv, SQLHDBC *phdbc);

/*
** db2utilResetQuiesce
**   After the read, under LOCK YES: ends the registration (action 2 after a
**   good read with QUIESCE YES, else action 9) and resets the quiesce.
**   Returns the reader's result, else DB2UTIL_RC_REGISTER when the end of a
**   good read could not be registered, else DB2UTIL_RC_RESET when the
**   quiesce could not be reset (ZORU314E: the table stays quiesced).
*/
int db2utilResetQuiesce(zortask *ptaskSelect, int iPartition, int iReaderRc);

/*
** db2utilReleaseQuiesce
**   For a reader that ended while it may have held its table's quiesce
**   (killed, or stopped by a signal): unless the table is qualified SYSIBM,
**   and when QUIESCE or LOCK is YES, connects a new pair to the partition,
**   ends the registration (action 9) and resets the quiesce, then
**   disconnects.  Returns 0, the connection's code, DB2UTIL_RC_RESET or
**   DB2UTIL_RC_REGISTER (after ZORU314E).
*/
int db2utilReleaseQuiesce(zortask *ptaskSelect, int iPartition);

/* db2utilRegisterUnload, db2utilQuiesce: the two calls on their own.
** Return 0, DB2UTIL_RC_REGISTER / DB2UTIL_RC_RESET. */
int db2utilRegisterUnload(const char *pcTable, int iAction);
int db2utilQuiesce(const char *pcTable, int iMode);

/*
** db2utilGetDBCfg
**   Attaches to the instance (once per process) and reads the database's
**   code page (token 101) and territory (token 100).
**   Returns a new array of two pointers to the 2-byte values, in that order
**   (the caller frees the values and the array), or NULL after a message.
*/
char **db2utilGetDBCfg(ochar *pcharDatabase, ochar *pcharInstance, ochar *pcharUser, ochar *pcharPassword);

/*
** db2utilGetNodes
**   The partitions of sqllib/db2nodes.cfg under the instance's home (from
**   the configuration's insthomes item), indexed by partition number; one
**   partition 0 on this host when the file does not exist.  Host names are
**   kept as written (an address whole, a name with its domain), without the
**   final '.' of an absolute name: db2utilIsThisHost tells this host.
**   Returns a new array and *piCount, or NULL with *piCount = 0 after a
**   message (no home, home missing, unreadable or malformed file).
*/
db2utilNode *db2utilGetNodes(const char *pcInstance, int *piCount);

/*
** db2utilIsThisHost
**   True (1) when the host name of a partition entry names this host: an
**   empty name, "localhost", this host's name with or without its domain
**   (any case, a final '.' ignored), or a name or address of one of its
**   interfaces (127.0.0.1 among them).  An address names this host only
**   when an interface has it: 127.0.0.2 is another host.  Returns 1 or 0.
*/
int db2utilIsThisHost(const char *pcHost);

/*
** db2utilGetDBPath
**   Finds the database in the system directory, then in the local
**   directory of its drive: the drive, the node number and the internal
**   name (SQLnnnnn), as new strings.
**   Returns 0, DB2UTIL_RC_NODB or DB2UTIL_RC_SCAN (after ZORU312E).
*/
int db2utilGetDBPath(const char *pcDatabase, ochar **ppcharDrive, int *piNode, ochar **ppcharInternal);

/*
** db2utilGetAuthorizations
**   On the connection just made as that user: 0 when the user holds SYSADM
**   or DBADM, directly or through a group; DB2UTIL_RC_AUTH otherwise (with
**   ZORU315E only when the query itself failed).  The password is not used.
*/
int db2utilGetAuthorizations(const char *pcDatabase, const char *pcUser, const char *pcPassword);

/*
** db2utilExport
**   Runs the export API for one statement into pcDataFile (standard output
**   when NULL, through a private temporary file) with its messages in
**   pcMessageFile (sysprint when NULL).
**   Returns 0, DB2UTIL_RC_EXPORT after ZORU311E and DB2's text, or
**   TOOLS_RC_IO | errno after ZORU347E when the temporary directory cannot
**   be made or standard output cannot be written.
*/
int db2utilExport(char *pcStatement, const char *pcDataFile, const char *pcMessageFile, const char *pcFileType,
                   int iLobPaths, char **ppcLobPaths, int iLobFiles, char **ppcLobFiles);

#endif
