/*
** zortask.cpp
**   Tasks of the request tree: construction, cloning and destruction, the
**   sub-task chain, atom storage with owner lookup, and the task dump on a
**   trace keyword or a stdio stream (see zortask.h).
*/
#include "model/zortask.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "common/odict.h"
#include "common/olist.h"
#include "common/omsgs.h"
#include "common/oname.h"
#include "model/token.h"
#include "model/zormsgs.h"

namespace {

/* Dictionary sizing of a task's atoms. */
constexpr uint32_t kulAtomSizeHint = 40;
constexpr uint32_t kulAtomLoadFactor = 80;

/* Makes the global name pool the way the atom-name table does. */
oname *_taskGlobalPool(void)
{
  if (gpnameGlobal == nullptr) {
    gpnameGlobal = onameCreate(250, 80);
    if (gpnameGlobal == nullptr) return nullptr;
    onameSetFastEntry(gpnameGlobal, 1);
    onameSetAutoResize(gpnameGlobal, 1);
  }
  return gpnameGlobal;
}

ochaine *_taskCreateSubChaine(void)
{
  return ochaineCreate(0, zortaskChaineClone, zortaskChaineDestroy);
}

/* Refuses a duplicate atom with its position and its name. */
void _taskReportDuplicate(const zoratom *patom)
{
  omsgsFMTEDO(ZORU010I, (int)patom->sStartLine, (int)patom->sStartColumn, (int)patom->sEndLine,
              (int)patom->sEndColumn);
  omsgsFMTEDO(ZORU031E, patom->pcName ? patom->pcName : "");
}

void _taskDump(zortask *ptask, const zoratomSink &sink)
{
  if (ptask == nullptr) {
    sink.text(sink.pfile ? "TASK : NULL" : "TASK : NULL\n");
    return;
  }
  sink.text("TASK :");
  sink.text("%s\n", ptask->pcName ? ptask->pcName : "no_name");
  sink.text("Pointer: %p \n", (void *)ptask);
  sink.text("Owner: %p \n", (void *)ptask->ptaskOwner);
  sink.text("DICTIONNAIRE : \n");
  if (ptask->pdictAtoms != nullptr) {
    odictcursor cursor;
    int iEntry = 0;
    odictCursorInit(&cursor, ptask->pdictAtoms);
    for (; cursor.pentry != nullptr; odictCursorNext(&cursor)) {
      const char *pcKey = reinterpret_cast<const char *>(odictCursorGetKey(&cursor));
      zoratom *patom = static_cast<zoratom *>(odictCursorGetValue(&cursor));
      iEntry++;
      if (pcKey == nullptr) pcKey = "no_name";
      if (patom != nullptr) {
        sink.text("Entry %i   NAME : %s\n", iEntry, pcKey);
        if (sink.pfile)
          zoratomPrint(patom, sink.pfile);
        else
          zoratomPrintServices(patom, sink.pcKeyword);
      } else {
        sink.text("Entry %i   NAME : %s Value: NULL\n", iEntry, pcKey);
      }
    }
    odictCursorDestroy(&cursor);
  } else {
    sink.text("Vide\n");
  }
  if (ptask->pchaineSubTasks != nullptr) {
    int iSub = 0;
    for (zortask *psub = static_cast<zortask *>(ptask->pchaineSubTasks->pitemTop); psub != nullptr;
         psub = psub->ptaskNext) {
      sink.text("SUBTASK %p|%i\n", (void *)ptask, ++iSub);
      _taskDump(psub, sink);
    }
  } else {
    sink.text("\nNO SUBTASKS \n");
  }
  sink.text("END SUBTASK %p\n", (void *)ptask);
}

/* Links psub into the sub-task chain at the end (boAppend) or in front, and becomes its owner. */
int _taskLinkSubTask(zortask *ptask, zortask *psub, bool boAppend)
{
  if (ptask == nullptr || psub == nullptr) return ORC_INVALID;
  if (ptask->pchaineSubTasks == nullptr) {
    ptask->pchaineSubTasks = _taskCreateSubChaine();
    if (ptask->pchaineSubTasks == nullptr) return ORC_NOMEM;
  }
  if (boAppend)
    ochaineAppend(ptask->pchaineSubTasks, psub);
  else
    ochainePrepend(ptask->pchaineSubTasks, psub);
  psub->ptaskOwner = ptask;
  return 0;
}

}  // namespace

zortask *zortaskCreateNamed(const char *pcName)
{
  zortask *ptask = static_cast<zortask *>(std::calloc(1, sizeof(zortask)));
  if (ptask == nullptr) return nullptr;
  ptask->pcName = pcName;
  ptask->pdictAtoms = odictCreate(kulAtomSizeHint, kulAtomLoadFactor);
  if (ptask->pdictAtoms == nullptr) {
    std::free(ptask);
    return nullptr;
  }
  ptask->pdictAtoms->procDestroy = zoratomDestroy;
  return ptask;
}

zortask *zortaskCreate(const char *pcText)
{
  const char *pcName = nullptr;
  if (pcText != nullptr) {
    if (_taskGlobalPool() == nullptr) return nullptr;
    pcName = onameInternFixed(gpnameGlobal, pcText, std::strlen(pcText));
    if (pcName == nullptr && pcText[0] != '\0') return nullptr;
  }
  return zortaskCreateNamed(pcName);
}

void zortaskDestroy(zortask *ptask)
{
  if (ptask == nullptr) return;
  ochaineDestroy(ptask->pchaineSubTasks);
  odictDestroy(ptask->pdictAtoms);
  std::free(ptask);
}

void zortaskChaineDestroy(ochaine *pchaine, void *pitem)
{
  (void)pchaine;
  zortaskDestroy(static_cast<zortask *>(pitem));
}

void *zortaskChaineClone(ochaine *pchaine, void *pitem)
{
  (void)pchaine;
  if (pitem == nullptr) return zortaskCreateNamed(nullptr);
  return zortaskClone(static_cast<zortask *>(pitem), 1);
}

zortask *zortaskClone(zortask *ptask, int iWithSubTasks)
{
  if (ptask == nullptr) return nullptr;
  zortask *pclone = zortaskCreateNamed(ptask->pcName);
  if (pclone == nullptr) return nullptr;
  pclone->ulFlags = ptask->ulFlags;
  odictcursor cursor;
  odictCursorInit(&cursor, ptask->pdictAtoms);
  for (; cursor.pentry != nullptr; odictCursorNext(&cursor)) {
    zoratom *patom = static_cast<zoratom *>(odictCursorGetValue(&cursor));
    if (patom == nullptr) continue;
    zoratom *pcopy = zoratomClone(patom);
    if (pcopy == nullptr || odictStore(pclone->pdictAtoms, odictCursorGetKey(&cursor), pcopy) != 0) {
      zoratomDestroy(pcopy);
      odictCursorDestroy(&cursor);
      zortaskDestroy(pclone);
      return nullptr;
    }
  }
  odictCursorDestroy(&cursor);
  if (iWithSubTasks == 1 && ptask->pchaineSubTasks != nullptr) {
    pclone->pchaineSubTasks = ochaineClone(ptask->pchaineSubTasks);
    if (pclone->pchaineSubTasks == nullptr) {
      zortaskDestroy(pclone);
      return nullptr;
    }
  }
  return pclone;
}

int zortaskAddSubTask(zortask *ptask, zortask *psub)
{
  return _taskLinkSubTask(ptask, psub, true);
}

int zortaskPrependSubTask(zortask *ptask, zortask *psub)
{
  return _taskLinkSubTask(ptask, psub, false);
}

int zortaskSetSubTaskChaine(zortask *ptask, ochaine *pchaine)
{
  if (ptask == nullptr) return ORC_INVALID;
  if (ptask->pchaineSubTasks != nullptr) return ZORTASK_RC_REFUSED;
  if (pchaine == nullptr) return 0;
  ptask->pchaineSubTasks = pchaine;
  for (zortask *psub = static_cast<zortask *>(pchaine->pitemTop); psub != nullptr;
       psub = psub->ptaskNext)
    psub->ptaskOwner = ptask;
  return 0;
}

int zortaskSortSubTask(zortask *ptask, ochaineCompareProc procCompare)
{
  if (ptask == nullptr || ptask->pchaineSubTasks == nullptr) return 0;
  return ochaineSort(ptask->pchaineSubTasks, procCompare);
}

int zortaskAddAtom(zortask *ptask, zoratom *patom)
{
  if (patom == nullptr) return 0;
  if (ptask == nullptr) return ORC_INVALID;
  uintptr_t ulKey = reinterpret_cast<uintptr_t>(patom->pcName);
  if (odictLoad(ptask->pdictAtoms, ulKey) != nullptr) {
    _taskReportDuplicate(patom);
    return ZORTASK_RC_REFUSED;
  }
  return odictStore(ptask->pdictAtoms, ulKey, patom);
}

int zortaskAddAtomListRef(zortask *ptask, olist *plist)
{
  if (plist == nullptr) return 0;
  int iRc = 0;
  olistIterator iter;
  olistIteratorInit(&iter, plist);
  while (olistIteratorNext(&iter)) {
    olistRef *pnode = static_cast<olistRef *>(olistIteratorGetItem(&iter));
    zoratom *patom = static_cast<zoratom *>(olistIteratorGetRef(&iter));
    if (patom == nullptr) continue;
    /* The atom now belongs to the task (or is destroyed here), never to the list. */
    if (pnode != nullptr && (plist->ulFlags & OLIST_FLAG_REF)) pnode->usFlags &= ~OLIST_REF_OWNED;
    if (patom->iKind == ZORATOM_TASKCHAINE) {
      ochaine *pchaine = patom->value.pchaine;
      patom->iFlags |= ZORATOM_BORROWED;
      if (zortaskSetSubTaskChaine(ptask, pchaine) != 0) {
        /* Refused: nobody else holds the chain any more. */
        ochaineDestroy(pchaine);
        iRc = ZORTASK_RC_REFUSED;
      }
      zoratomDestroy(patom);
      continue;
    }
    int iAdd = zortaskAddAtom(ptask, patom);
    if (iAdd != 0) {
      zoratomDestroy(patom);
      iRc = ZORTASK_RC_REFUSED;
    }
  }
  olistIteratorDestroy(&iter);
  olistDestroy(plist);
  return iRc;
}

zoratom *zortaskRemoveAtom(zortask *ptask, const char *pcName)
{
  if (ptask == nullptr) return nullptr;
  uintptr_t ulKey = reinterpret_cast<uintptr_t>(pcName);
  zoratom *patom = static_cast<zoratom *>(odictLoad(ptask->pdictAtoms, ulKey));
  if (patom != nullptr) odictStore(ptask->pdictAtoms, ulKey, nullptr);
  return patom;
}

zoratom *zortaskDetermineAtom(zortask *ptask, const char *pcName)
{
  uintptr_t ulKey = reinterpret_cast<uintptr_t>(pcName);
  for (zortask *p = ptask; p != nullptr; p = p->ptaskOwner) {
    zoratom *patom = static_cast<zoratom *>(odictLoad(p->pdictAtoms, ulKey));
    if (patom != nullptr) return patom;
  }
  return nullptr;
}

int zortaskDetermineMaxRc(zortask *ptask)
{
  const char *pcMaxRc = gapnameTotalToken[TOKEN_MAXRC];
  if (pcMaxRc == nullptr) return ZORTASK_DEFAULT_MAXRC;
  zoratom *patom = zortaskDetermineAtom(ptask, pcMaxRc);
  return patom ? (int)patom->value.iValue : ZORTASK_DEFAULT_MAXRC;
}

zortask *zortaskGetFirstNonDB2Select(zortask *ptask)
{
  if (ptask == nullptr || ptask->pchaineSubTasks == nullptr) return nullptr;
  for (zortask *psub = static_cast<zortask *>(ptask->pchaineSubTasks->pitemTop); psub != nullptr;
       psub = psub->ptaskNext)
    if (!(psub->ulFlags & ZORTASK_FLAG_DB2)) return psub;
  return nullptr;
}

void zortaskTraceMsgsService(zortask *ptask, const char *pcKeyword)
{
  if (pcKeyword == nullptr) return;
  _taskDump(ptask, zoratomSink{pcKeyword, nullptr});
}

void zortaskPrint(zortask *ptask, FILE *pfile)
{
  if (pfile == nullptr) return;
  _taskDump(ptask, zoratomSink{nullptr, pfile});
}
