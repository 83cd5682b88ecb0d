/*
** zortask.h
**   The request tree.  A task stands for one level of a request (PARMLIB,
**   GLOBAL, an UNLOAD block, a SELECT, an output column) and keeps its
**   values as atoms (model/zoratom.h) in a dictionary keyed by interned
**   atom names (model/token.h).  A value that a task does not hold is
**   looked up in its owner, the owner's owner, and so on up to the root, so
**   a value given at an outer level applies to every inner task that does
**   not give its own.
**
**   A task is an item of the chain of its siblings (its first two words are
**   the chain links) and is owned by that chain, or by whoever holds the
**   root.  Removing an atom leaves a NULL entry under its name; a NULL entry
**   neither hides an owner's atom nor counts as a duplicate.  The deferred
**   message stack of a SELECT task belongs to its users: the tree neither
**   copies nor frees it.  Single-threaded; forked processes work on their
**   own copies of the tree.
*/
#ifndef ZAV_MODEL_ZORTASK_H
#define ZAV_MODEL_ZORTASK_H

#include <cstdint>
#include <cstdio>

#include "common/ochaine.h"
#include "common/oreason.h"
#include "model/zoratom.h"

struct odict;
struct olist;
struct ostack;

/* The request model's one failure code: duplicate atom, second sub-task chain. */
#define ZORTASK_RC_REFUSED ORC_MAKE(0x103, 2, 2)   /* 0x103a002 */

/* SELECT task flag: the SELECT goes through DB2. */
#define ZORTASK_FLAG_DB2 0x8u

/* Maximum return code when no task up to the root holds a MAXRC atom. */
#define ZORTASK_DEFAULT_MAXRC 4

struct zortask {
  zortask  *ptaskNext;        /* chain link: next sibling */
  zortask  *ptaskPrev;        /* chain link: previous sibling */
  zortask  *ptaskOwner;       /* the task whose sub-task chain holds this one; NULL for a root */
  const char *pcName;         /* interned atom name, NULL for an unnamed task */
  odict    *pdictAtoms;       /* atoms keyed by interned name; destroys them with it */
  ochaine  *pchaineSubTasks;  /* sub-tasks, NULL until the first one arrives */
  uint32_t  ulFlags;          /* SELECT task flags; copied, otherwise left to the users */
  ostack   *pstackDefered;    /* messages deferred for a SELECT; not copied, not freed here */
};

/*
** zortaskCreateNamed
**   A new task with the given interned name (NULL: unnamed) and an empty
**   atom dictionary.  Returns the task, NULL when memory runs out.
*/
zortask *zortaskCreateNamed(const char *pcName);

/*
** zortaskCreate
**   A new task named by interning the NUL-terminated text into gpnameGlobal
**   (the pool is created first when it does not exist yet); NULL text gives
**   an unnamed task.  Returns the task, NULL when memory runs out.
*/
zortask *zortaskCreate(const char *pcText);

/*
** zortaskDestroy
**   Destroys the sub-task chain (recursively), then the atom dictionary with
**   every atom still in it, then frees the task.  REQUIRES: the task has
**   been unlinked from its owner's chain.  NULL is ignored.
*/
void zortaskDestroy(zortask *ptask);

/* Destroy callback of every chain of tasks: zortaskDestroy of the item. */
void zortaskChaineDestroy(ochaine *pchaine, void *pitem);

/*
** zortaskChaineClone
**   Clone callback of every chain of tasks: zortaskClone(item, 1), or a new
**   unnamed task with an empty dictionary when pitem is NULL.
**   Returns the new task, NULL when memory runs out.
*/
void *zortaskChaineClone(ochaine *pchaine, void *pitem);

/*
** zortaskClone
**   A new task with the same name and flags and a clone of every atom under
**   the same names (NULL entries are not copied).  The sub-task chain is
**   cloned only when iWithSubTasks is 1.  The clone has no owner and no
**   deferred messages; its cloned sub-tasks keep a NULL owner.
**   Returns the clone; NULL for NULL or when memory runs out or an atom
**   cannot be copied (nothing is left allocated then).
*/
zortask *zortaskClone(zortask *ptask, int iWithSubTasks);

/*
** zortaskAddSubTask / zortaskPrependSubTask
**   Appends (prepends) psub to the task's sub-task chain, creating the chain
**   on first use, and makes the task psub's owner.
**   Returns 0, ORC_INVALID for a NULL task or sub-task, ORC_NOMEM when the
**   chain cannot be created.
*/
int zortaskAddSubTask(zortask *ptask, zortask *psub);
int zortaskPrependSubTask(zortask *ptask, zortask *psub);

/*
** zortaskSetSubTaskChaine
**   Installs a whole chain of tasks as the sub-task chain and makes the task
**   the owner of every task in it; a NULL chain installs nothing.
**   Returns 0, or ZORTASK_RC_REFUSED when the task already has a sub-task
**   chain (nothing changes; the chain stays the caller's).
*/
int zortaskSetSubTaskChaine(zortask *ptask, ochaine *pchaine);

/*
** zortaskSortSubTask
**   Sorts the sub-task chain in place (the comparison receives pointers to
**   task pointers).  Returns 0, also when there is no chain, or the sort's
**   code when its work array cannot be allocated.
*/
int zortaskSortSubTask(zortask *ptask, ochaineCompareProc procCompare);

/*
** zortaskAddAtom
**   Stores the atom in the task's own dictionary under the atom's name; a
**   NULL atom is ignored.  When the task already holds an atom of that name
**   (a NULL entry does not count) the atom is refused: ZORU010I with its
**   position and ZORU031E with its name are issued and the caller keeps it.
**   Returns 0, ZORTASK_RC_REFUSED for a duplicate, ORC_NOMEM when the entry
**   cannot be stored (the caller keeps the atom).
*/
int zortaskAddAtom(zortask *ptask, zoratom *patom);

/*
** zortaskAddAtomListRef
**   Moves the atoms of a reference list (its nodes do not own them) into
**   the task in list order, then destroys the list; NULL items are skipped.
**   A TASKCHAINE atom is not stored: its chain becomes the task's sub-task
**   chain (zortaskSetSubTaskChaine) and the atom is destroyed without it.
**   Every other atom is stored as by zortaskAddAtom; a refused atom is
**   destroyed (a refused task chain with it), and the rest of the list is
**   still moved.
**   Returns 0 (also for a NULL list), or ZORTASK_RC_REFUSED when an atom or
**   the chain was refused.
*/
int zortaskAddAtomListRef(zortask *ptask, olist *plist);

/*
** zortaskRemoveAtom
**   Takes the task's own atom of that name out of its dictionary, leaving a
**   NULL entry (no owner lookup).  Returns the atom, which now belongs to the
**   caller, or NULL when the task holds none.
*/
zoratom *zortaskRemoveAtom(zortask *ptask, const char *pcName);

/*
** zortaskDetermineAtom
**   The task's own atom of that name, else its owner's, and so on up to the
**   root.  Returns the atom (still owned by its task), or NULL when no task
**   on the way holds one or the task is NULL.
*/
zoratom *zortaskDetermineAtom(zortask *ptask, const char *pcName);

/*
** zortaskDetermineMaxRc
**   Returns the integer value of the MAXRC atom of the task or its nearest
**   owner holding one, ZORTASK_DEFAULT_MAXRC (4) when none does.
*/
int zortaskDetermineMaxRc(zortask *ptask);

/*
** zortaskGetFirstNonDB2Select
**   Returns the first sub-task, in chain order, without ZORTASK_FLAG_DB2;
**   NULL when there is none.
*/
zortask *zortaskGetFirstNonDB2Select(zortask *ptask);

/*
** zortaskTraceMsgsService
**   Writes the dump of the task, its atoms and its sub-tasks to the trace
**   file of the keyword, one raw trace text per line; nothing for a NULL
**   keyword.
*/
void zortaskTraceMsgsService(zortask *ptask, const char *pcKeyword);

/* zortaskPrint: the same dump on a stdio stream, with zoratomPrint for the atoms. */
void zortaskPrint(zortask *ptask, FILE *pfile);

/*
** The control object of one request (made by zorcontrolCreate, control/
** zorcontrol.h, which says how it travels through the steps).  Declared
** here, with the tasks it carries, because the run step below the control
** folder reads its GLOBAL task.
*/
struct zorcontrol {
  zortask  *ptaskGlobal;    /* GLOBAL task: root of the request tree */
  zortask  *ptaskParmlib;   /* PARMLIB task: owner of the GLOBAL task */
  ostack   *pstackMaxRc;    /* MAXRC values: one for GLOBAL, one for the block being checked */
  uintptr_t aulWork[3];     /* three further words, zero at creation */
};

#endif
