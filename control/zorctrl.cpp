/*
** zorctrl.cpp
**   Output preparation of one SELECT (see control/zorctrl.h): runs the steps
**   of control/zorctrlu.h in order over the SELECT task and its
**   output-column sub-tasks.
*/
#include "control/zorctrl.h"

#include <cstdint>

#include "common/ochaine.h"
#include "common/ochar.h"
#include "common/odict.h"
#include "common/olist.h"
#include "common/omsgs.h"
#include "control/zorcontrol.h"
#include "control/zorctrlu.h"
#include "model/stats.h"
#include "model/token.h"
#include "model/zoratom.h"
#include "model/zormsgs.h"
#include "model/zortask.h"
#include "expr/zorcol.h"
#include "run/ixf.h"

#define OMSGS_TRACE_KEYWORD "$CTRL"
#define OMSGS_DEBUG_KEYWORD "$CTRLD"
#include "common/omsgsmod.h"

/* The atom of that name in the task's own dictionary, NULL when none. */
static zoratom *_ctrlOwnAtom(zortask *ptask, int iSlot)
{
  const char *pcName = gapnameTotalToken[iSlot];
  if (ptask->pdictAtoms == nullptr || pcName == nullptr) return nullptr;
  return static_cast<zoratom *>(odictLoad(ptask->pdictAtoms, reinterpret_cast<uintptr_t>(pcName)));
}

/* The column of the task's own COL atom, NULL when none. */
static zorcol *_ctrlCol(zortask *ptask)
{
  zoratom *patom = _ctrlOwnAtom(ptask, TOKEN_COL);
  return (patom != nullptr && patom->iKind == ZORATOM_ZORCOL) ? patom->value.pcol : nullptr;
}

/* the SELECT's format, DEL when it has none; IXF forces SCHEME ASIS. */
static int _ctrlFormat(zortask *ptaskSelect, int *piFormat)
{
  zoratom *patom = _ctrlOwnAtom(ptaskSelect, TOKEN_FORMAT);
  if (patom == nullptr) {
    patom = zoratomCreate(gapnameTotalToken[TOKEN_FORMAT], ZORATOM_INTEGER, ZORATOM_BORROWED, 13, nullptr, nullptr);
    if (patom == nullptr) return ORC_NOMEM;
    if (zortaskAddAtom(ptaskSelect, patom) != 0) {
      zoratomDestroy(patom);
      return ORC_NOMEM;
    }
    omsgsTrace("No Format Specified: used DEL\n");
  }
  *piFormat = patom->value.iValue;
  if (*piFormat == 11) {
    zoratom *patomScheme = _ctrlOwnAtom(ptaskSelect, TOKEN_SCHEME);
    if (patomScheme != nullptr) {
      patomScheme->value.iValue = ZORCTRLU_SCHEME_ASIS;
    } else {
      patomScheme = zoratomCreate(gapnameTotalToken[TOKEN_SCHEME], ZORATOM_INTEGER, ZORATOM_BORROWED,
                                  ZORCTRLU_SCHEME_ASIS, nullptr, nullptr);
      if (patomScheme == nullptr) return ORC_NOMEM;
      if (zortaskAddAtom(ptaskSelect, patomScheme) != 0) {
        zoratomDestroy(patomScheme);
        return ORC_NOMEM;
      }
    }
  }
  return 0;
}

/* one output-column task per selected column, matched with the column specs. */
static int _ctrlBuildEcs(zorcontrol *pcontrol, zortask *ptaskSelect, olist *plistSpec, int iFormat)
{
  zoratom *patomSelect = _ctrlOwnAtom(ptaskSelect, TOKEN_SELECT);
  if (patomSelect == nullptr || patomSelect->iKind != ZORATOM_OCHAINE || patomSelect->value.pchaine == nullptr)
    return 0;
  ochaine *pchaine = patomSelect->value.pchaine;
  int iDirect = (ptaskSelect->ulFlags & 0xD) == 0;

  for (zorcol *pcol = static_cast<zorcol *>(pchaine->pitemTop); pcol != nullptr; pcol = pcol->pcolNext) {
    zortask *ptask = zorcontrolFindEcs(pcontrol, plistSpec, pcol);
    if (ptask != nullptr) {
      ptask->ulFlags &= ~ZORCTRLU_TASK_UNUSED;
    } else {
      ptask = zortaskCreateNamed(nullptr);
      if (ptask == nullptr) return ORC_NOMEM;
      zorcol *pcolCopy = zorcolClone(pcol);
      zoratom *patom = pcolCopy != nullptr ? zoratomCreate(gapnameTotalToken[TOKEN_COL], ZORATOM_ZORCOL, 0,
                                                           reinterpret_cast<uintptr_t>(pcolCopy), nullptr, nullptr)
                                           : nullptr;
      if (patom == nullptr) zorcolDestroy(pcolCopy);
      if (patom == nullptr || zortaskAddAtom(ptask, patom) != 0) {
        zoratomDestroy(patom);
        zortaskDestroy(ptask);
        return ORC_NOMEM;
      }
      if (zortaskAddSubTask(ptaskSelect, ptask) != 0) {
        zortaskDestroy(ptask);
        return ORC_NOMEM;
      }
    }
    zoratom *patomSource = zoratomCreate(gapnameTotalToken[TOKEN_SOURCECOL], ZORATOM_ZORCOL, ZORATOM_BORROWED,
                                         reinterpret_cast<uintptr_t>(pcol), nullptr, nullptr);
    if (patomSource == nullptr) return ORC_NOMEM;
    if (zortaskAddAtom(ptask, patomSource) != 0) {
      zoratomDestroy(patomSource);
      return ORC_NOMEM;
    }
    zorcontrolUdbEcs(pcontrol, ptask, iFormat, pcol->pcolNext == nullptr, pcol == pchaine->pitemTop, iDirect);
  }
  return 0;
}

/* reports, removes and destroys the column specs no column used. */
static int _ctrlDropUnused(zortask *ptaskSelect, olist *plistSpec)
{
  int rc = 0;
  olistIterator iter;
  olistIteratorInit(&iter, plistSpec);
  while (olistIteratorNext(&iter)) {
    zortask *ptask = static_cast<zortask *>(olistIteratorGetRef(&iter));
    if (!(ptask->ulFlags & ZORCTRLU_TASK_UNUSED)) continue;
    zorcol *pcol = _ctrlCol(ptask);
    if (pcol != nullptr && pcol->pcharName != nullptr && pcol->pcharName->pcData != nullptr)
      omsgsFMTEDO(ZORU071E, static_cast<int>(pcol->pcharName->ilBU), _charText(pcol->pcharName));
    else
      omsgsFMTEDO(ZORU072E, pcol != nullptr ? static_cast<int>(pcol->iNumber) : 0);
    ochaineRemoveItem(ptaskSelect->pchaineSubTasks, ptask);
    zortaskDestroy(ptask);
    rc = ZORCTRL_RC_UNUSED_SPEC;
  }
  return rc;
}

int _zorcontrolFormatZavSelect(zorcontrol *pcontrol, zortask *ptaskSelect)
{
  if (pcontrol == nullptr || ptaskSelect == nullptr) return ORC_INVALID;

  int iFormat = 0;
  int rc = _ctrlFormat(ptaskSelect, &iFormat);
  if (rc == 0) rc = zorcontrolUdbIgnoredOptions(pcontrol, ptaskSelect, iFormat);
  if (rc == 0) rc = zorcontrolCcsidScheme(pcontrol, ptaskSelect, iFormat);
  if (rc == 0) rc = zorcontrolUdbDetermineDefault(pcontrol, ptaskSelect, iFormat);
  if (rc == 0) rc = zorcontrolUdbDelCodePage(pcontrol, ptaskSelect, iFormat);
  if (rc != 0) return rc;

  /* the parser's FORMAT USER column specs, all unused so far */
  olist *plistSpec = nullptr;
  if (ptaskSelect->pchaineSubTasks != nullptr && ptaskSelect->pchaineSubTasks->pitemTop != nullptr) {
    plistSpec = olistCreateRef(nullptr, nullptr);
    if (plistSpec == nullptr) return ORC_NOMEM;
    for (zortask *ptask = static_cast<zortask *>(ptaskSelect->pchaineSubTasks->pitemTop); ptask != nullptr;
         ptask = ptask->ptaskNext) {
      ptask->ulFlags |= ZORCTRLU_TASK_UNUSED;
      olistAppendRef(plistSpec, ptask, 0);
    }
  }

  rc = _ctrlBuildEcs(pcontrol, ptaskSelect, plistSpec, iFormat);
  if (rc == 0) rc = zortaskSortSubTask(ptaskSelect, zorcontrolSortEcs);
  if (rc == 0) statsTimeTrace("Output columns");
  if (rc == 0) rc = zorcontrolUdbDetectLongColums(pcontrol, ptaskSelect);
  if (rc == 0) rc = zorcontrolUdbInsertProEpilogue(pcontrol, ptaskSelect, iFormat);
  if (rc == 0 && iFormat == 11) {
    rc = ixfWriteHeader(ptaskSelect);
    if (rc == 0) rc = zorcontrolUdbIxfFileMaxSize(pcontrol, ptaskSelect);
    if (rc == 0) rc = ixfAddVirtualCol(ptaskSelect);
    if (rc == 0) statsTimeTrace("IXF header");
  }
  if (rc == 0) rc = zorcontrolUdbCreateCoreData(pcontrol, ptaskSelect);
  if (rc == 0 && plistSpec != nullptr) rc = _ctrlDropUnused(ptaskSelect, plistSpec);

  olistDestroy(plistSpec);
  statsTimeTrace("Output preparation");
  return rc;
}
