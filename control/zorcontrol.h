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

struct zortask;
struct ostack;

/* Slots of the MAXRC stack at creation. */
#define ZORCONTROL_MAXRC_SLOTS 5

struct zorcontrol {
  zortask  *ptaskGlobal;    /* GLOBAL task: root of the request tree */
  zortask  *ptaskParmlib;   /* PARMLIB task: owner of the GLOBAL task */
  ostack   *pstackMaxRc;    /* MAXRC values: one for GLOBAL, one for the block being checked */
  uintptr_t aulWork[3];     /* three further words, zero at creation */
};

/*
** zorcontrolCreate
**   Allocates a zeroed control object, creates its MAXRC stack (5 slots),
**   stores both tasks and makes ptaskParmlib the owner of ptaskGlobal
**   (when both are given).
**   Returns the object, or NULL when memory runs out (nothing is changed
**   then).
*/
zorcontrol *zorcontrolCreate(zortask *ptaskGlobal, zortask *ptaskParmlib);

#endif
