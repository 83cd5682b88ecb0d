/*
** zorcontroludbts.h
**   Preparation and checks of the UNLOAD blocks before their SELECTs are
**   examined:
**
**   - expansion, right after parsing: an UNLOAD DATABASE block becomes one
**     UNLOAD block per regular table space that holds tables, and every
**     UNLOAD block without SELECT gets one "SELECT * FROM creator.table"
**     per table of its table space; every block so made gets LOCK NO, and
**     the output and LOB file names of a made SELECT get "_" and the table
**     space (UNLOAD DATABASE only), "_" and the creator, "_" and the table
**     appended;
**   - backup checks: DB2 YES turned into NO under BACKUP, the backup file
**     names split and compared, the catalogue read from the image of the
**     catalogue partition;
**   - the table-space description of a block (catalogue record from the
**     backup catalogue or through CLI, containers of every partition) and
**     the containers of a table's long-field table space;
**   - partition checks: the partition sets of the SELECTs, of their OUTPUT
**     files and of their LOB IN directories against db2nodes.cfg;
**   - look-ups: a table in a backup catalogue, the database CCSID, and the
**     columns of a SELECT that goes through DB2.
**
**   Everything is read from and written to atoms of the request tree; an
**   "own" atom is the task's own entry, a "found" atom the first one found
**   from the task up through its owners.  Atoms added before a failure
**   stay, and the expansion keeps the blocks it has already appended.
**   Catalogue records read through CLI live until exit, except those the
**   expansion only reads, which it frees.
**
**   Main process, control step, on the process's CLI connection
**   (ghenv/ghdbc); one thread.  Trace keyword "$CTRLU".
*/
#ifndef ZAV_CONTROL_ZORCONTROLUDBTS_H
#define ZAV_CONTROL_ZORCONTROLUDBTS_H

#include <cstdint>

#include "common/oreason.h"

struct ochaine;
struct ochar;
struct zoratom;
struct zorcontrol;
struct zortask;
struct osysibmSystablespace;
struct zorbk;

/* Reason codes (module 0x105). */
#define ZORCTRLU_RC_PARTITION   ORC_MAKE(0x105, 2, 0x003)  /* 0x105a003 partition out of range (ZORU011E) */
#define ZORCTRLU_RC_NOTS        ORC_MAKE(0x105, 2, 0x007)  /* 0x105a007 table space or table not found */
#define ZORCTRLU_RC_CATALOG     ORC_MAKE(0x105, 2, 0x009)  /* 0x105a009 catalogue read failed / empty */
#define ZORCTRLU_RC_BACKUPS     ORC_MAKE(0x105, 2, 0x010)  /* 0x105a010 backups of different catalogues or databases */
#define ZORCTRLU_RC_TWODB       ORC_MAKE(0x105, 2, 0x014)  /* 0x105a014 second UNLOAD DATABASE */
#define ZORCTRLU_RC_EMPTYTS     ORC_MAKE(0x105, 2, 0x015)  /* 0x105a015 UNLOAD TABLESPACE on a table space without tables */
#define ZORCTRLU_RC_EXPAND      ORC_MAKE(0x105, 4, 0x001)  /* 0x105c001 block that cannot be expanded */

/*
** zorcontrolUdbExpandDatabase
**   Expands the sub-tasks of ptaskGlobal in chain order: the UNLOAD DATABASE
**   block (task DATABASE) is replaced by one UNLOAD block per table space
**   (_zorcontrolUdbCreateUnloadTSFromDB) and destroyed; every block without
**   SELECT is expanded by zorcontrolUdbExpandTableSpace; blocks with SELECTs
**   are left alone.  Connects ghenv/ghdbc first when there is no connection.
**   Blocks appended by the expansion are not walked again.
**   Returns 0 (also without sub-tasks), ZORCTRLU_RC_TWODB for a second
**   UNLOAD DATABASE, the connection's code, or the first code of a block's
**   expansion.
*/
int zorcontrolUdbExpandDatabase(zorcontrol *pcontrol, zortask *ptaskGlobal);

/*
** zorcontrolUdbExpandTableSpace
**   Gives an UNLOAD TABLESPACE block without SELECT one SELECT * task per
**   table of its table space (TSNAME), read through CLI; sets its own LOCK
**   to NO first.
**   Returns 0; ZORCTRLU_RC_EXPAND after ZORU302E (no TSNAME), without
**   message (no such table space) or after ZORU303E (no OUTPUT);
**   ZORCTRLU_RC_EMPTYTS after ZORU057E (no tables); the catalogue read's
**   code.
*/
int zorcontrolUdbExpandTableSpace(zorcontrol *pcontrol, zortask *ptaskUnload);

/*
** _zorcontrolUdbCreateUnloadTSFromDB
**   Appends to ptaskGlobal one UNLOAD block per regular table space with
**   tables of the database of ptaskDatabase (a clone of it without
**   sub-tasks, with TSNAME, LOBFILE names suffixed "_" + table space, and
**   its SELECT * tasks).  Long table spaces are skipped, table spaces
**   without tables after ZORU356W.
**   Returns 0; ZORCTRLU_RC_EXPAND after ZORU304E when the DATABASE task has
**   no OUTPUT of its own; the catalogue read's code when it gave no chain;
**   ORC_NOMEM.
*/
int _zorcontrolUdbCreateUnloadTSFromDB(zorcontrol *pcontrol, zortask *ptaskGlobal, zortask *ptaskDatabase);

/*
** _zorcontrolUdbCreateSelectFromTS
**   Appends to ptaskUnload one SELECT task per table of ptablespace: a clone
**   of the block without sub-tasks with TBQUALIFIER, TBNAME, SELECTSQL
**   "SELECT * FROM creator.name", an empty SELECT * column chain, and its
**   OUTPUT and own LOBFILE names suffixed ("_" + table space when
**   iFromDatabase is 1, then "_" + creator, "_" + name).  Trailing blanks
**   of the catalogue names are dropped.
**   Returns 0 (also for a record without table chain); ZORCTRLU_RC_EXPAND
**   after ZORU303E when the block has no OUTPUT of its own; ORC_NOMEM.
*/
int _zorcontrolUdbCreateSelectFromTS(zorcontrol *pcontrol, zortask *ptaskUnload, osysibmSystablespace *ptablespace,
                                     int iFromDatabase);

/*
** zorcontrolUdbCheckBackup
**   Nothing without a BACKUP atom found from the block.  Else DB2 FORCE
**   gives ZORU421W, DB2 YES gives ZORU420W and becomes NO in the atom that
**   holds it; then the backup files are validated.
**   Returns 0 or the code of zorcontrolUdbValidateBackupFiles.
*/
int zorcontrolUdbCheckBackup(zorcontrol *pcontrol, zortask *ptaskUnload);

/*
** zorcontrolUdbValidateBackupFiles
**   Splits every file name of patomBackup's list, sets DBNAME of the block
**   from the first file's alias, checks that every file has the catalogue
**   partition and database of the first, opens the image of the catalogue
**   partition (the first file whose NODE equals its CATN) and reads its
**   catalogue into the block's own CATALOG atom.  Without a catalogue
**   partition's file or catalogue: ZORU427W, and the block uses the DB2
**   catalogue.
**   Returns 0; the split's code after ZORU422E; ZORCTRLU_RC_BACKUPS (after
**   ZORU010I and ZORU423E for another catalogue partition, without message
**   for another database); the code of opening the image; the reading
**   code after ZORU428E when a catalogue table of the image cannot be read
**   to its end (no DB2 catalogue then: the image is damaged);
**   ZORCTRLU_RC_CATALOG for an empty catalogue; ORC_NOMEM; ORC_INVALID for
**   an empty or missing list.
*/
int zorcontrolUdbValidateBackupFiles(zorcontrol *pcontrol, zortask *ptaskUnload, zoratom *patomBackup);

/*
** zorcontrolUdbGetSystablespace
**   For a block with its own TSNAME: adds SYSTABLESPACE, borrowed from the
**   block's CATALOG when the backup catalogue is of the block's database,
**   else read through CLI (owned) together with CONTAINERS (the partition
**   records of every partition).  Sets the database CCSID of the global
**   conversion context when it has none yet.
**   Returns 0 (also without TSNAME); ZORCTRLU_RC_CATALOG after ZORU020E when
**   the catalogue cannot be read; ZORCTRLU_RC_NOTS when the table space is
**   not found; the container read's code.
*/
int zorcontrolUdbGetSystablespace(zorcontrol *pcontrol, zortask *ptaskUnload);

/*
** zorcontrolUdbGetLongSystablespace
**   Adds CONTAINERS_LONG (partition records of the table's long table space)
**   to the SELECT, unless a BACKUP is found for it or its own SYSTABLE
**   record names no long table space.
**   Returns 0 or the container read's code.
*/
int zorcontrolUdbGetLongSystablespace(zorcontrol *pcontrol, zortask *ptaskSelect);

/*
** zorcontrolUdbCheckPartition
**   Completes and checks, against the partitions of db2nodes.cfg of the
**   found INSTANCE_NAME, the PART set of every SELECT of the block (empty:
**   all partitions), then the partition sets of their OUTPUT files (empty:
**   all; else within PART) and of their LOB IN directories (ZORU425W when
**   their union differs from PART).  Every set checked is resized to the
**   highest partition number + 1 bits.  From backups (BACKUP), every
**   partition a PART of the SELECT or of the block names needs an image of
**   its own: else ZORU432E and SYSIBM_RC_PARTITION.
**   Returns 0 (also without SELECTs); ZORCTRLU_RC_PARTITION after ZORU011E;
**   ZORCTRLU_RC_PARTITION when the partition list cannot be read (after the
**   message of the partition reader); ORC_NOMEM.
*/
int zorcontrolUdbCheckPartition(zorcontrol *pcontrol, zortask *ptaskUnload);

/*
** zorcontrolUdbGetTSFromTB
**   Looks the table pcharQualifier.pcharName up in a chain of backup
**   catalogue records (names compared in UTF-8, blank-padded).
**   Returns 0 with *ppcharTablespace (a new string, the table space's name)
**   and *pcType (the table's TYPE letter); ZORCTRLU_RC_NOTS when no table
**   matches; ORC_NOMEM.
*/
int zorcontrolUdbGetTSFromTB(ochaine *pchaineCatalog, ochar *pcharQualifier, ochar *pcharName,
                             ochar **ppcharTablespace, char *pcType);

/*
** zorcontrolUdbBackupDbCcsid
**   When the catalogue is read from a backup image no CLI connection gives
**   the database code page, which the IXF header and ASIS need: it is taken
**   from the image's code set, else from the configuration of the database
**   (zorcontrolUdbGetDbCcsid), and set in the conversion context.  Nothing
**   changes when the context already has a database code page.
*/
void zorcontrolUdbBackupDbCcsid(zorcontrol *pcontrol, zortask *ptaskUnload, const zorbk *pzorbk);

/*
** zorcontrolUdbGetDbCcsid
**   The database's CCSID: the internal substitute of the code page in the
**   configuration of the found DBNAME of the found INSTANCE_NAME.
**   Returns the CCSID, or 0 when the configuration cannot be read (after
**   the message of the configuration reader).
*/
uint16_t zorcontrolUdbGetDbCcsid(zorcontrol *pcontrol, zortask *ptask);

/*
** zorcontrolUdbGetColDescription
**   For a SELECT that goes through DB2: connects to its database, has DB2
**   describe pcharSelect, and replaces the SELECT's SELECT and COLTABLE
**   column chains by the copy chain and the column chain so described;
**   the old chains are freed, and with them the SELECT's WHERE tree (DB2
**   evaluates the condition from the SQL text).  A described column that
**   stands for a column of the table (SELECT *, or a plain column of the
**   select list as the SQL text was parsed) gets that column's catalogue
**   default, which DB2's description does not carry.  Returns 0, the
**   connection's code (trace "Connect failed.\n"), ORC_NOMEM, or the code
**   of the description (the SELECT's chains are then unchanged).
*/
int zorcontrolUdbGetColDescription(zorcontrol *pcontrol, zortask *ptaskSelect, ochar *pcharSelect);

#endif
