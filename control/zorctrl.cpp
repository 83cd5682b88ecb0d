/*
** zorctrl.cpp
**   Output preparation of one SELECT (see control/zorctrl.h): runs the steps
**   of control/zorctrlu.h in order over the SELECT task and its
**   output-column sub-tasks.
*/
#include "control/zorctrl.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "common/ochaine.h"
#include "common/ochar.h"
#include "common/odict.h"
#include "common/obf.h"
#include "common/olist.h"
#include "common/omsgs.h"
#include "control/zorcontrol.h"
#include "control/zorctrlu.h"
#include "model/stats.h"
#include "model/token.h"
#include "model/udb.h"
#include "model/zoratom.h"
#include "model/zormsgs.h"
#include "model/zortask.h"
#include "expr/zorcol.h"
#include "run/ixf.h"
#include "storage/ficcont.h"

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

/* ------------------------------------------------------------------ files to write */

/* Packed keyword YES (the LOCAL atom of a run for another host). */
#define ZORCTRL_YES 0xE8C5E2

/* The text of a string, empty without one. */
static std::string _ctrlText(const ochar *pchar)
{
  if (pchar == nullptr || pchar->pcData == nullptr) return "";
  return std::string(_charText(pchar), static_cast<size_t>(pchar->ilBU));
}

/* The directory part of a file name: "." without one. */
static std::string _ctrlDirectory(const std::string &strFile)
{
  size_t ul = strFile.find_last_of('/');
  if (ul == std::string::npos) return ".";
  return ul == 0 ? "/" : strFile.substr(0, ul);
}

/* 0 when files can be made in the directory by the effective identity, else
** the errno that tells why (ENOTDIR for something else than a directory). */
static int _ctrlDirectoryError(const std::string &strDir)
{
  struct stat st;
  if (stat(strDir.c_str(), &st) != 0) return errno;
  if (!S_ISDIR(st.st_mode)) return ENOTDIR;
  return faccessat(AT_FDCWD, strDir.c_str(), W_OK | X_OK, AT_EACCESS) == 0 ? 0 : errno;
}

/* 0 when the file can be written: an existing file that is no directory and
** the effective identity may write (boExact), else its directory as above.
** *pstrAt gets the path the error is about. */
static int _ctrlFileError(const std::string &strFile, bool boExact, std::string *pstrAt)
{
  struct stat st;
  if (boExact && stat(strFile.c_str(), &st) == 0) {
    *pstrAt = strFile;
    if (S_ISDIR(st.st_mode)) return EISDIR;
    return faccessat(AT_FDCWD, strFile.c_str(), W_OK, AT_EACCESS) == 0 ? 0 : errno;
  }
  *pstrAt = _ctrlDirectory(strFile);
  return _ctrlDirectoryError(*pstrAt);
}

/* True when a partition of the set (NULL: every one) is read on this host:
** always through DB2 or from a backup image, else a partition of the
** table space's partition list that is not remote. */
static bool _ctrlReadHere(zortask *ptaskSelect, const obf *pobfSet)
{
  if ((ptaskSelect->ulFlags & ZORCONTROL_FLAG_DB2) != 0) return true;
  if (zortaskDetermineAtom(ptaskSelect, gapnameTotalToken[TOKEN_BACKUP]) != nullptr) return true;
  zoratom *patom = zortaskDetermineAtom(ptaskSelect, gapnameTotalToken[TOKEN_CONTAINERS]);
  if (patom == nullptr || patom->iKind != ZORATOM_OLIST || patom->value.plist == nullptr) return true;
  for (auto *pcont = static_cast<ficcont *>(patom->value.plist->pitemTop); pcont != nullptr;
       pcont = static_cast<ficcont *>(pcont->pitemNext))
    if (pcont->ilRemote == 0 &&
        (pobfSet == nullptr || (pcont->ilPart >= 0 && obfGet(pobfSet, static_cast<uint32_t>(pcont->ilPart)) != 0)))
      return true;
  return false;
}

int zorcontrolCheckOutputs(zorcontrol *, zortask *ptaskSelect)
{
  if (ptaskSelect == nullptr) return ORC_INVALID;
  zoratom *patomLocal = zortaskDetermineAtom(ptaskSelect, gapnameTotalToken[TOKEN_LOCAL]);
  bool boForOtherHost = patomLocal != nullptr && patomLocal->iKind == ZORATOM_INTEGER &&
                        patomLocal->value.iValue == ZORCTRL_YES;
  zoratom *patom = zortaskDetermineAtom(ptaskSelect, gapnameTotalToken[TOKEN_OUTPUT]);
  if (patom != nullptr && patom->iKind == ZORATOM_OLIST && patom->value.plist != nullptr) {
    for (auto *pout = static_cast<udbOutFile *>(patom->value.plist->pitemTop); pout != nullptr;
         pout = pout->pitemNext) {
      uint32_t ulWhere = pout->ulMode & (UDB_MODE_CURRENT | UDB_MODE_REMOTE | UDB_MODE_HOST);
      bool boCurrent = ulWhere == UDB_MODE_CURRENT && !boForOtherHost;
      bool boRemote = ulWhere == UDB_MODE_REMOTE && _ctrlReadHere(ptaskSelect, pout->pobfPart);
      if (!boCurrent && !boRemote) continue;
      std::string strFile = _ctrlText(pout->pcharFileName), strAt;
      if (strFile.empty()) continue;
      /* a per-partition file takes the partition into its name: only its directory is known */
      int iErrno = _ctrlFileError(strFile, boCurrent, &strAt);
      omsgsTrace("zorcontrolCheckOutputs: %s: %d\n", strFile.c_str(), iErrno);
      if (iErrno != 0) {
        omsgsFMTEDO(ZORU493E, strFile.c_str(), strAt.c_str(), std::strerror(iErrno));
        return ZORCTRL_RC_OUTPUT;
      }
    }
  }
  if (zortaskDetermineAtom(ptaskSelect, gapnameTotalToken[TOKEN_LOBFILE]) == nullptr) return 0;
  std::vector<std::string> vDirs;
  patom = zortaskDetermineAtom(ptaskSelect, gapnameTotalToken[TOKEN_LOB]);
  bool boAnyDir = false;
  if (patom != nullptr && patom->iKind == ZORATOM_OLIST && patom->value.plist != nullptr) {
    olistIterator iter;
    olistIteratorInit(&iter, patom->value.plist);
    while (olistIteratorNext(&iter)) {
      auto *plob = static_cast<udbLobPath *>(olistIteratorGetRef(&iter));
      if (plob == nullptr || plob->pcharPath == nullptr) continue;
      boAnyDir = true;
      if (_ctrlReadHere(ptaskSelect, plob->pobfPart)) vDirs.push_back(_ctrlText(plob->pcharPath));
    }
    olistIteratorDestroy(&iter);
  }
  if (!boAnyDir) vDirs.push_back(".");
  for (const std::string &strDir : vDirs) {
    int iErrno = _ctrlDirectoryError(strDir.empty() ? "." : strDir);
    omsgsTrace("zorcontrolCheckOutputs: LOB directory %s: %d\n", strDir.c_str(), iErrno);
    if (iErrno != 0) {
      omsgsFMTEDO(ZORU494E, strDir.c_str(), std::strerror(iErrno));
      return ZORCTRL_RC_LOBDIR;
    }
  }
  return 0;
}
