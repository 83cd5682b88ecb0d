/*
** zorcontrol.cpp
**   The control object of one request (see zorcontrol.h): made once the
**   request tree is complete, never freed.
*/
#include "control/zorcontrol.h"

#include <cstdlib>

#include "common/ostack.h"
#include "driver/zortask.h"

zorcontrol *zorcontrolCreate(zortask *ptaskGlobal, zortask *ptaskParmlib)
{
  zorcontrol *pcontrol = static_cast<zorcontrol *>(std::calloc(1, sizeof(zorcontrol)));
  if (pcontrol == nullptr) return nullptr;
  pcontrol->pstackMaxRc = ostackCreate(ZORCONTROL_MAXRC_SLOTS);
  if (pcontrol->pstackMaxRc == nullptr) {
    std::free(pcontrol);
    return nullptr;
  }
  pcontrol->ptaskGlobal = ptaskGlobal;
  pcontrol->ptaskParmlib = ptaskParmlib;
  /* Lookups through owners climb from GLOBAL into PARMLIB. */
  if (ptaskGlobal != nullptr && ptaskParmlib != nullptr) ptaskGlobal->ptaskOwner = ptaskParmlib;
  return pcontrol;
}
