/*
** zorcontrol.h
**   The control object of one request: carries the request from the end of
**   parsing to the end of the run.  The driver makes it once the request
**   tree is complete and hands it first to the expansion of UNLOAD blocks,
**   to the control step, to the output preparation and to the run step.
**   zorcontrolCreate makes the PARMLIB task the owner of the GLOBAL task,
**   so every atom lookup through owners ends at the option, configuration
**   and parameter-library values.
**
**   The object lives until the process ends and is never freed; forked
**   processes inherit copies of it.  Single-threaded.
*/
#ifndef ZAV_CONTROL_ZORCONTROL_H
#define ZAV_CONTROL_ZORCONTROL_H

#include <cstdint>

#include "common/oreason.h"
#include "model/zortask.h"

struct zortask;
struct ostack;
struct ochar;

/* Slots of the MAXRC stack at creation. */
#define ZORCONTROL_MAXRC_SLOTS 5

/* struct zorcontrol, the request's root object that the run step also reads, is
   declared with the tasks it carries (model/zortask.h). */

/*
** zorcontrolCreate
**   Allocates a zeroed control object, creates its MAXRC stack (5 slots),
**   stores both tasks and makes ptaskParmlib the owner of ptaskGlobal
**   (when both are given).
**   Returns the object, or NULL when memory runs out (nothing is changed
**   then).
*/
zorcontrol *zorcontrolCreate(zortask *ptaskGlobal, zortask *ptaskParmlib);

/* Reason codes of the control step. */
#define ZORCONTROL_RC_NOTGLOBAL   ORC_MAKE(0x105, 2, 0x001)  /* 0x105a001 not a GLOBAL task / SELECT failed */
#define ZORCONTROL_RC_NOTS        ORC_MAKE(0x105, 2, 0x00e)  /* 0x105a00e block without SELECT or table space */
#define ZORCONTROL_RC_NOSELECT    ORC_MAKE(0x105, 1, 0x001)  /* 0x1059001 block without sub-tasks */
#define ZORCONTROL_RC_NOTSFOUND   ORC_MAKE(0x105, 1, 0x003)  /* 0x1059003 no SELECT gives a table space */
#define ZORCONTROL_RC_NOTBNAME    ORC_MAKE(0x105, 2, 0x00d)  /* 0x105a00d SELECT without table name */
#define ZORCONTROL_RC_TBNOTFOUND  ORC_MAKE(0x105, 2, 0x007)  /* 0x105a007 table not in the catalogue */
#define ZORCONTROL_RC_VIEW        ORC_MAKE(0x105, 1, 0x002)  /* 0x1059002 view where a table is needed */
#define ZORCONTROL_RC_BADTYPE     ORC_MAKE(0x105, 2, 0x00a)  /* 0x105a00a neither table nor view */
#define ZORCONTROL_RC_WHEREOP     ORC_MAKE(0x105, 2, 0x011)  /* 0x105a011 WHERE operation not evaluable */
#define ZORCONTROL_RC_ORDERBY     ORC_MAKE(0x105, 2, 0x012)  /* 0x105a012 ORDER BY read directly */
#define ZORCONTROL_RC_CHECK       ORC_MAKE(0x105, 2, 0x013)  /* 0x105a013 expression refused by the check */
#define ZORCONTROL_RC_NOTINTS     ORC_MAKE(0x103, 2, 0x001)  /* 0x103a001 table not in the block's table space */
#define ZORCONTROL_RC_EMPTYTS     ORC_MAKE(0x103, 2, 0x003)  /* 0x103a003 table space without tables */
#define ZORCONTROL_RC_NOVIEW      ORC_MAKE(0x103, 2, 0x004)  /* 0x103a004 view not in the stored catalogue */
#define ZORCONTROL_RC_VIEWDEF     ORC_MAKE(0x103, 1, 0x001)  /* 0x1039001 view definition unusable */
#define ZORCONTROL_RC_NOTBOOLEAN  ORC_MAKE(0x106, 2, 0x008)  /* 0x106a008 WHERE not boolean */
#define ZORCONTROL_RC_USERDB2     ORC_MAKE(0x105, 2, 0x020)  /* 0x105a020 FORMAT USER through DB2 */
#define ZORCONTROL_RC_EXPORTLOB   ORC_MAKE(0x105, 2, 0x0e8)  /* 0x105a0e8 LOB columns for the export API */
#define ZORCONTROL_RC_EXPORTOPT   ORC_MAKE(0x105, 2, 0x0e9)  /* 0x105a0e9 a clause the export API does not honour */
#define ZORCONTROL_RC_USER        ORC_MAKE(0x105, 2, 0x028)  /* 0x105a028 FORMAT USER read directly */

/* FORMAT USER: the value of the FORMAT atom. */
#define ZORCONTROL_FORMAT_USER 5

/* Task flags. */
#define ZORCONTROL_FLAG_ERROR    0x1u   /* SELECT / block in error */
#define ZORCONTROL_FLAG_FALLBACK 0x2u   /* SELECT may go through DB2 */
#define ZORCONTROL_FLAG_DB2      0x8u   /* SELECT through DB2; block: no table space found */

struct osysibm;

/*
** zorcontrolControl
**   The control step: checks every UNLOAD block of the GLOBAL task against
**   the catalogue, decides for each SELECT whether it is read directly or
**   through DB2, and prepares the output of every SELECT to unload.  Dumps
**   the tree to the $CTRL trace afterwards.
**   Returns 0; 0x105a001 when the GLOBAL task is not of type 5; otherwise
**   the code of the last step the block loop ran (warnings included).
*/
int zorcontrolControl(zorcontrol *pcontrol);

/* The block loop over the GLOBAL task's sub-tasks.  Returns the last step's code. */
int _zorcontrolZAV(zorcontrol *pcontrol);

/*
** zorcontrolDetermineTS
**   Gives the block its TSNAME from its own, else from the table of its
**   first SELECT that can be looked up (failing SELECTs get flag 8).
**   Returns 0, or 0x1059003 when no SELECT gives a table space.
*/
int zorcontrolDetermineTS(zorcontrol *pcontrol, zortask *ptaskUnload);

/*
** zorcontrolGetTSFromTB
**   Looks the SELECT's table up in the catalogue (backup catalogue when a
**   CATALOG atom is found) and adds TSNAME to ptaskTarget.
**   Returns 0, 0x105a00d (no TBNAME), 0x105a007 (not found, ZORU066E),
**   0x1059002 (a view, not allowed or unreadable), 0x105a00a (other type);
**   on failure the SELECT gets flag 8.
*/
int zorcontrolGetTSFromTB(zorcontrol *pcontrol, zortask *ptaskSelect, zortask *ptaskTarget, int boViewAllowed);

/* Fails with ZORU057E and 0x103a003 when the block's table space has no tables; 0 otherwise. */
int zorcontrolCheckSystablespace(zorcontrol *pcontrol, zortask *ptaskUnload);

/* Both SELECT passes of one block.  Returns 0, 0x1059001 without SELECTs, or the failing code. */
int _zorcontrolZavSelect(zorcontrol *pcontrol, zortask *ptaskUnload);

/*
** zorcontrolTBName (same as _zorcontrolDetermineSystable)
**   Resolves the SELECT's table in the block's table-space record: adds
**   TBQUALIFIER when missing, SYSTABLE and COLTABLE (and VIEW for a view).
**   Returns 0, 0x103a003 (no tables), 0x103a001 (not in the table space;
**   ZORU056E kept with the SELECT), or the view resolution's code.
*/
int zorcontrolTBName(zorcontrol *pcontrol, zortask *ptaskSelect);
int _zorcontrolDetermineSystable(zorcontrol *pcontrol, zortask *ptaskSelect);

/*
** _zorcontrolDetermineSystableFromView
**   Reads the view's definition from the stored catalogue and parses it;
**   when pprecBase is given also resolves the base table and adds VIEW to
**   the SELECT.  Returns 0, 0x103a004 (view not stored), 0x1039001.
*/
int _zorcontrolDetermineSystableFromView(zorcontrol *pcontrol, zortask *ptaskSelect, ochar *pcharQualifier,
                                         ochar *pcharName, osysibm **pprecBase);

/* The view check of the table lookup: reads and parses the definition only. */
int _zorcontrolView(zorcontrol *pcontrol, zortask *ptaskSelect, ochar *pcharName, ochar *pcharQualifier);

/* Adds COLTABLE (chain of the table record's columns) to the SELECT.  Returns 0 or ORC_NOMEM. */
int _zorcontrolBuildColTable(zorcontrol *pcontrol, zortask *ptaskSelect, osysibm *precTable);

/* Checks and types the select list (SELECT * filled from COLTABLE or VIEW).  Returns 0 or the check's code. */
int zorcontrolSelectClause(zorcontrol *pcontrol, zortask *ptaskSelect);

/* Checks the WHERE condition.  Returns 0, 0x105a011 (ZORU364E), 0x106a008 (ZORU048E) or the check's code. */
int zorcontrolWhereClause(zorcontrol *pcontrol, zortask *ptaskSelect);

/* Returns 0x105a012 (ZORU380E) when the SELECT has ORDER, else 0. */
int zorcontrolOrderBy(zorcontrol *pcontrol, zortask *ptaskSelect);

/* Has DB2 describe the SELECTSQL text and types the columns.  Returns 0 or the failing code. */
int zorcontrolBuildSelectDb2Clause(zorcontrol *pcontrol, zortask *ptaskSelect);

/* Removes TSNAME, SYSTABLESPACE, CONTAINERS and CATALOG from the block.  Returns 0. */
int zorcontrolRemovePhysicalUnload(zorcontrol *pcontrol, zortask *ptaskUnload);

#endif
