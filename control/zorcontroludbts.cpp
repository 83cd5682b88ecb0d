/*
** zorcontroludbts.cpp
**   Expansion of UNLOAD DATABASE and UNLOAD TABLESPACE blocks, backup,
**   table-space and partition checks of an UNLOAD block, and the look-ups
**   the control step makes per SELECT (see control/zorcontroludbts.h).
**
**   Catalogue texts are taken as bytes; names are compared blank-padded and
**   the trailing blanks of catalogue names are dropped before they go into
**   SQL texts and file names.  Every string this module adds to a task is
**   NUL-terminated, so that later steps may hand it to C interfaces.
*/
#include "control/zorcontroludbts.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "model/osysibm.h"
#include "catalog/sqlcat.h"
#include "catalog/sysibm.h"
#include "catalog/sysibmbackup.h"
#include "catalog/sysibmcont.h"
#include "common/obf.h"
#include "common/ochaine.h"
#include "common/ochar.h"
#include "common/ocnvft.h"
#include "common/odict.h"
#include "common/olist.h"
#include "common/omsgs.h"
#include "control/zorcontrol.h"
#include "control/zordyacc.h"
#include "io/db2util.h"
#include "model/parm.h"
#include "model/stats.h"
#include "model/token.h"
#include "model/udb.h"
#include "model/zoratom.h"
#include "model/zormsgs.h"
#include "model/zortask.h"
#include "expr/zorcol.h"
#include "expr/zornode.h"
#include "storage/zorbk.h"

#define OMSGS_TRACE_KEYWORD "$CTRLU"
#define OMSGS_DEBUG_KEYWORD nullptr
#include "common/omsgsmod.h"

namespace {

/* Packed keyword codes of the DB2 and LOCK atoms. */
constexpr int32_t kiYes = 0xE8C5E2;
constexpr int32_t kiNo = 0xD5D6;
constexpr int32_t kiForce = 0xC6D6D9;

/* ------------------------------------------------------------------ atoms */

const char *_udbName(int iSlot) { return gapnameTotalToken[iSlot]; }

/* The task's own atom of that slot (no owner lookup); NULL when it has none. */
zoratom *_udbOwn(zortask *ptask, int iSlot)
{
  if (ptask == nullptr || ptask->pdictAtoms == nullptr || _udbName(iSlot) == nullptr) return nullptr;
  return static_cast<zoratom *>(odictLoad(ptask->pdictAtoms, reinterpret_cast<uintptr_t>(_udbName(iSlot))));
}

/* The atom of that slot found from the task up through its owners. */
zoratom *_udbFound(zortask *ptask, int iSlot)
{
  if (_udbName(iSlot) == nullptr) return nullptr;
  return zortaskDetermineAtom(ptask, _udbName(iSlot));
}

/* The string of a DIM or OCHAR atom; NULL for none. */
ochar *_udbString(zoratom *patom)
{
  if (patom == nullptr || (patom->iKind != ZORATOM_OCHAR && patom->iKind != ZORATOM_DIM)) return nullptr;
  return patom->value.pchar;
}

/* The bytes of a string (empty for none). */
std::string _udbText(const ochar *pchar)
{
  if (pchar == nullptr || pchar->pcData == nullptr || pchar->ilBU <= 0) return std::string();
  return std::string(_charText(pchar), static_cast<size_t>(pchar->ilBU));
}

/* The text without its trailing blanks. */
std::string _udbStripped(const ochar *pchar)
{
  std::string str = _udbText(pchar);
  size_t ul = str.find_last_not_of(' ');
  str.erase(ul == std::string::npos ? 0 : ul + 1);
  return str;
}

/* The string of the atom made NUL-terminated, as a C text; NULL for none. */
const char *_udbCText(zoratom *patom)
{
  ochar *pchar = _udbString(patom);
  if (pchar == nullptr || ocharMakeC(pchar) != 0) return nullptr;
  return _charText(pchar);
}

/* Blank-padded equality of two strings (NULL counts as empty). */
bool _udbSameName(const ochar *pcharA, const ochar *pcharB)
{
  return ocharCompare(pcharA, pcharB, ' ') == 0;
}

/* A new NUL-terminated string of the bytes. */
ochar *_udbMakeString(const std::string &str, uint16_t usCCSID)
{
  ochar *pchar = ocharCreate(0, usCCSID);
  if (pchar == nullptr) return nullptr;
  if (ocharAppendFixedS(pchar, str.data(), static_cast<int32_t>(str.size())) != 0 || ocharMakeC(pchar) != 0) {
    ocharDestroy(pchar);
    return nullptr;
  }
  return pchar;
}

/* Adds the atom to the task; on refusal the atom is destroyed.  Returns 0 or the refusal's code. */
int _udbAdd(zortask *ptask, zoratom *patom)
{
  if (patom == nullptr) return ORC_NOMEM;
  int iRc = zortaskAddAtom(ptask, patom);
  if (iRc != 0) zoratomDestroy(patom);
  return iRc;
}

/* Adds an OCHAR atom holding a NUL-terminated copy of the text.  Returns 0 or a code. */
int _udbAddText(zortask *ptask, int iSlot, const std::string &str, uint16_t usCCSID)
{
  ochar *pchar = _udbMakeString(str, usCCSID);
  if (pchar == nullptr) return ORC_NOMEM;
  zoratom *patom =
      zoratomCreate(_udbName(iSlot), ZORATOM_OCHAR, 0, reinterpret_cast<uintptr_t>(pchar), nullptr, nullptr);
  if (patom == nullptr) {
    ocharDestroy(pchar);
    return ORC_NOMEM;
  }
  return _udbAdd(ptask, patom);
}

/* Sets the task's own atom of a YES/NO slot to NO, adding one when it has
   none, so that the owners' value stays as it is for the other blocks.
   Returns 0 or a code. */
int _udbSetNo(zortask *ptask, int iSlot)
{
  zoratom *patom = _udbOwn(ptask, iSlot);
  if (patom != nullptr) {
    patom->value.ulWord = 0;
    patom->value.iValue = kiNo;
    return 0;
  }
  return _udbAdd(ptask, zoratomCreate(_udbName(iSlot), ZORATOM_INTEGER, ZORATOM_BORROWED,
                                      static_cast<uintptr_t>(kiNo), nullptr, nullptr));
}

/* Sets the task's own LOCK atom to NO.  Returns 0 or a code. */
int _udbLockNo(zortask *ptask)
{
  return _udbSetNo(ptask, TOKEN_LOCK);
}

/* Appends "_" and each suffix to the string, keeping it NUL-terminated.  Returns 0 or ORC_NOMEM. */
int _udbSuffix(ochar *pchar, std::initializer_list<const std::string *> suffixes)
{
  if (pchar == nullptr) return 0;
  for (const std::string *pstr : suffixes) {
    if (ocharAppendFixedS(pchar, "_", 1) != 0) return ORC_NOMEM;
    if (ocharAppendFixedS(pchar, pstr->data(), static_cast<int32_t>(pstr->size())) != 0) return ORC_NOMEM;
  }
  return ocharMakeC(pchar) == 0 ? 0 : ORC_NOMEM;
}

/* Appends the suffixes to every name of a LOBFILE atom's list of strings. */
int _udbSuffixLobFiles(zoratom *patom, std::initializer_list<const std::string *> suffixes)
{
  if (patom == nullptr || patom->iKind != ZORATOM_OLIST || patom->value.plist == nullptr) return 0;
  int iRc = 0;
  olistIterator iter;
  olistIteratorInit(&iter, patom->value.plist);
  while (iRc == 0 && olistIteratorNext(&iter)) iRc = _udbSuffix(static_cast<ochar *>(olistIteratorGetRef(&iter)), suffixes);
  olistIteratorDestroy(&iter);
  return iRc;
}

/* ------------------------------------------------------------ catalogue */

/* The table chain of a table-space record; NULL when it has none or it is empty. */
ochaine *_udbTables(osysibmSystablespace *ptbs)
{
  ochaine *pchaine = ptbs->apchaine[1];
  return (pchaine != nullptr && pchaine->iItemCount > 0) ? pchaine : nullptr;
}

/*
** Frees a chain of table-space records read through CLI that nothing else
** refers to, with their tables and columns.  Such records carry no table id
** (they are meant to live until exit), so each is given the id of its
** catalogue table first and osysibmDestroy then releases it whole.
*/
void _udbFreeTablespaces(ochaine *pchaine)
{
  if (pchaine == nullptr) return;
  for (auto *ptbs = static_cast<osysibmSystablespace *>(pchaine->pitemTop); ptbs != nullptr;
       ptbs = reinterpret_cast<osysibmSystablespace *>(ptbs->hdr.pnext)) {
    if (ptbs->apchaine[1] != nullptr) {
      for (auto *ptable = static_cast<osysibmSystables *>(ptbs->apchaine[1]->pitemTop); ptable != nullptr;
           ptable = reinterpret_cast<osysibmSystables *>(ptable->hdr.pnext)) {
        if (ptable->apchaine[0] != nullptr) {
          for (auto *pcol = static_cast<osysibmSyscolumns *>(ptable->apchaine[0]->pitemTop); pcol != nullptr;
               pcol = reinterpret_cast<osysibmSyscolumns *>(pcol->hdr.pnext)) {
            pcol->hdr.sTableId = OSYSIBM_SYSCOLUMNS;
            pcol->hdr.usChaineCount = 1;
          }
        }
        ptable->hdr.sTableId = OSYSIBM_SYSTABLES;
        ptable->hdr.usChaineCount = 5;
      }
    }
    ptbs->hdr.sTableId = OSYSIBM_SYSTABLESPACE;
    ptbs->hdr.usChaineCount = 2;
  }
  ochaineDestroy(pchaine);
}

/* ------------------------------------------------------------ partitions */

/* Clears and resizes a set to ulBits and sets every partition of the list. */
void _udbFillAll(obf *pobf, const db2utilNode *pnodes, int iCount, uint32_t ulBits)
{
  obfClearAll(pobf);
  obfResize(pobf, ulBits);
  for (int i = 0; i < iCount; i++)
    if (pnodes[i].iNode >= 0) obfSet(pobf, static_cast<uint32_t>(pnodes[i].iNode));
}

/* True when a bit from ulFrom to the end of the set's bit count is set. */
bool _udbAnyFrom(const obf *pobf, uint32_t ulFrom)
{
  for (uint32_t ul = ulFrom; ul < pobf->ulBitCount; ul++)
    if (obfGet(pobf, ul)) return true;
  return false;
}

/* True when every set bit of a (within a's count) is set in b. */
bool _udbSubset(const obf *pa, const obf *pb)
{
  for (uint32_t ul = 0; ul < pa->ulBitCount; ul++)
    if (obfGet(pa, ul) && !obfGet(pb, ul)) return false;
  return true;
}

/* The partition set of a LOB IN or OUTPUT item completed, or checked against
   P's size.  *pboAll tells that the item named no partition: its set is then
   filled with every partition and stands for whichever of them the SELECT
   reads. */
bool _udbCompleteItemSet(obf **ppobf, const obf *pobfPart, const db2utilNode *pnodes, int iCount, uint32_t ulBits,
                         bool *pboAll)
{
  *pboAll = false;
  if (*ppobf == nullptr) {
    *ppobf = obfCreate(ulBits);
    if (*ppobf == nullptr) return false;
  }
  obf *pobf = *ppobf;
  if (obfIsEmpty(pobf)) {
    _udbFillAll(pobf, pnodes, iCount, ulBits);
    *pboAll = true;
    return true;
  }
  if (pobf->ulBitCount > pobfPart->ulBitCount) return false;
  obfResize(pobf, pobfPart->ulBitCount);
  return true;
}

/*
** The partitions a task asks for: a SELECT's PART set as found up its
** owners, or for an UNLOAD block the union of its SELECTs' sets (its own
** when it has no SELECT yet); NULL when one of them names none, that is
** every partition.  Only the partitions asked for are read; each of them
** must be.  *pboFailed tells that memory ran out.
*/
obf *_udbWantedParts(zortask *ptask, bool boBlock, bool *pboFailed)
{
  *pboFailed = false;
  std::vector<zortask *> vTasks;
  if (boBlock && ptask->pchaineSubTasks != nullptr)
    for (auto *p = static_cast<zortask *>(ptask->pchaineSubTasks->pitemTop); p != nullptr; p = p->ptaskNext)
      vTasks.push_back(p);
  if (vTasks.empty()) vTasks.push_back(ptask);
  std::vector<uint32_t> vParts;
  for (zortask *ptaskAsking : vTasks) {
    zoratom *patom = _udbFound(ptaskAsking, TOKEN_PART);
    if (patom == nullptr || patom->iKind != ZORATOM_OBF || patom->value.pobf == nullptr ||
        obfIsEmpty(patom->value.pobf))
      return nullptr;
    const obf *pobf = patom->value.pobf;
    for (uint32_t ul = 0; ul < pobf->ulBitCount; ul++)
      if (obfGet(pobf, pobf->ulBase + ul)) vParts.push_back(pobf->ulBase + ul);
  }
  uint32_t ulBits = 0;
  for (uint32_t ul : vParts) ulBits = std::max(ulBits, ul + 1);
  obf *pobfWanted = obfCreate(ulBits);
  if (pobfWanted == nullptr) {
    *pboFailed = true;
    return nullptr;
  }
  for (uint32_t ul : vParts) obfSet(pobfWanted, ul);
  return pobfWanted;
}

} // namespace

/* ================================================================ expansion */

int _zorcontrolUdbCreateSelectFromTS(zorcontrol *pcontrol, zortask *ptaskUnload, osysibmSystablespace *ptablespace,
                                     int iFromDatabase)
{
  (void)pcontrol;
  if (ptaskUnload == nullptr || ptablespace == nullptr) return ORC_INVALID;
  if (_udbOwn(ptaskUnload, TOKEN_OUTPUT) == nullptr) {
    omsgsFMTEDO(ZORU303E);
    return ZORCTRLU_RC_EXPAND;
  }
  ochaine *pchaineTables = ptablespace->apchaine[1];
  if (pchaineTables == nullptr) return 0;

  std::string strTablespace = _udbText(_udbString(_udbFound(ptaskUnload, TOKEN_TSNAME)));
  strTablespace = strTablespace.substr(0, strTablespace.find('\0'));

  for (auto *ptable = static_cast<osysibmSystables *>(pchaineTables->pitemTop); ptable != nullptr;
       ptable = reinterpret_cast<osysibmSystables *>(ptable->hdr.pnext)) {
    zortask *ptaskSelect = zortaskClone(ptaskUnload, 0);
    if (ptaskSelect == nullptr) return ORC_NOMEM;
    ptaskSelect->pcName = _udbName(TOKEN_SELECT);

    std::string strName = _udbStripped(ptable->pcharNAME);
    std::string strCreator = _udbStripped(ptable->pcharCREATOR);
    uint16_t usCCSID = ptable->pcharNAME != nullptr ? ptable->pcharNAME->usCCSID : gccsidMixed;
    int iRc = _udbAddText(ptaskSelect, TOKEN_TBQUALIFIER, strCreator, usCCSID);
    if (iRc == 0) iRc = _udbAddText(ptaskSelect, TOKEN_TBNAME, strName, usCCSID);

    /* the output files of the new SELECT are its own copies */
    zoratom *patomOutput = _udbFound(ptaskSelect, TOKEN_OUTPUT);
    if (iRc == 0 && patomOutput != nullptr && patomOutput->iKind == ZORATOM_OLIST && patomOutput->value.plist) {
      for (auto *pout = static_cast<udbOutFile *>(patomOutput->value.plist->pitemTop); iRc == 0 && pout != nullptr;
           pout = pout->pitemNext) {
        if (iFromDatabase == 1) iRc = _udbSuffix(pout->pcharFileName, {&strTablespace});
        if (iRc == 0) iRc = _udbSuffix(pout->pcharFileName, {&strCreator, &strName});
      }
    }
    if (iRc == 0) iRc = _udbAddText(ptaskSelect, TOKEN_SELECTSQL, "SELECT * FROM " + strCreator + "." + strName, 850);
    if (iRc == 0) iRc = _udbSuffixLobFiles(_udbOwn(ptaskSelect, TOKEN_LOBFILE), {&strCreator, &strName});
    if (iRc == 0) {
      ochaine *pchaine = ochaineCreate(static_cast<int>(sizeof(zorcol)), nullptr, zorcolDestroyChaineItem);
      zoratom *patom = nullptr;
      if (pchaine != nullptr) {
        pchaine->pData = ZORDYACC_SELECT_STAR;
        patom = zoratomCreate(_udbName(TOKEN_SELECT), ZORATOM_OCHAINE, 0, reinterpret_cast<uintptr_t>(pchaine),
                              nullptr, nullptr);
        if (patom == nullptr) ochaineDestroy(pchaine);
      }
      iRc = _udbAdd(ptaskSelect, patom);
    }
    if (iRc == 0) iRc = zortaskAddSubTask(ptaskUnload, ptaskSelect);
    if (iRc != 0) {
      zortaskDestroy(ptaskSelect);
      return iRc;
    }
    omsgsTrace("SELECT * FROM %s.%s added\n", strCreator.c_str(), strName.c_str());
  }
  return 0;
}

int _zorcontrolUdbCreateUnloadTSFromDB(zorcontrol *pcontrol, zortask *ptaskGlobal, zortask *ptaskDatabase)
{
  if (ptaskGlobal == nullptr || ptaskDatabase == nullptr) return ORC_INVALID;
  if (_udbOwn(ptaskDatabase, TOKEN_OUTPUT) == nullptr) {
    omsgsFMTEDO(ZORU304E);
    return ZORCTRLU_RC_EXPAND;
  }
  const char *pcDatabase = _udbCText(_udbFound(ptaskDatabase, TOKEN_DBNAME));
  int iRc = 0;
  ochaine *pchaine = sysibmGetTablespace(pcDatabase != nullptr ? pcDatabase : "", nullptr,
                                         _udbCText(_udbOwn(ptaskDatabase, TOKEN_USERNAME)),
                                         _udbCText(_udbFound(ptaskDatabase, TOKEN_PASS)), nullptr, &iRc);
  omsgsTrace("sysibmGetTablespace = 0x%x\n", iRc);
  if (pchaine == nullptr) return iRc;

  int iMade = 0;
  for (auto *ptbs = static_cast<osysibmSystablespace *>(pchaine->pitemTop); iMade == 0 && ptbs != nullptr;
       ptbs = reinterpret_cast<osysibmSystablespace *>(ptbs->hdr.pnext)) {
    if (ptbs->cDATATYPE == 'L') continue;
    if (_udbTables(ptbs) == nullptr) {
      omsgsFMTEDO(ZORU356W, _udbText(ptbs->pcharCREATOR).c_str(), _udbText(ptbs->pcharNAME).c_str());
      continue;
    }
    std::string strTablespace = _udbStripped(ptbs->pcharNAME);
    zortask *ptaskUnload = zortaskClone(ptaskDatabase, 0);
    if (ptaskUnload == nullptr) {
      iMade = ORC_NOMEM;
      break;
    }
    ptaskUnload->pcName = _udbName(TOKEN_UNLOAD);
    uint16_t usCCSID = ptbs->pcharNAME != nullptr ? ptbs->pcharNAME->usCCSID : gccsidMixed;
    iMade = _udbAddText(ptaskUnload, TOKEN_TSNAME, strTablespace, usCCSID);
    if (iMade == 0) iMade = zortaskAddSubTask(ptaskGlobal, ptaskUnload);
    if (iMade != 0) {
      zortaskDestroy(ptaskUnload);
      break;
    }
    iMade = _udbSuffixLobFiles(_udbOwn(ptaskUnload, TOKEN_LOBFILE), {&strTablespace});
    if (iMade == 0) (void)_zorcontrolUdbCreateSelectFromTS(pcontrol, ptaskUnload, ptbs, 1);
    omsgsTrace("UNLOAD TABLESPACE %s added\n", strTablespace.c_str());
  }
  _udbFreeTablespaces(pchaine);
  return iMade != 0 ? iMade : iRc;
}

int zorcontrolUdbExpandTableSpace(zorcontrol *pcontrol, zortask *ptaskUnload)
{
  if (ptaskUnload == nullptr) return ORC_INVALID;
  int iRc = _udbLockNo(ptaskUnload);
  if (iRc != 0) return iRc;
  zoratom *patomTs = _udbOwn(ptaskUnload, TOKEN_TSNAME);
  const char *pcTablespace = _udbCText(patomTs);
  if (pcTablespace == nullptr) {
    omsgsFMTEDO(ZORU302E);
    return ZORCTRLU_RC_EXPAND;
  }
  const char *pcDatabase = _udbCText(_udbFound(ptaskUnload, TOKEN_DBNAME));
  ochaine *pchaine =
      sysibmGetTablespace(pcDatabase != nullptr ? pcDatabase : "", pcTablespace,
                          _udbCText(_udbOwn(ptaskUnload, TOKEN_USERNAME)), _udbCText(_udbFound(ptaskUnload, TOKEN_PASS)),
                          nullptr, &iRc);
  omsgsTrace("sysibmGetTablespace(%s) = 0x%x\n", pcTablespace, iRc);
  if (iRc != 0) {
    _udbFreeTablespaces(pchaine);
    return iRc;
  }
  if (pchaine == nullptr) return ORC_NOMEM;
  auto *ptbs = static_cast<osysibmSystablespace *>(pchaine->pitemTop);
  if (ptbs == nullptr) {
    iRc = ZORCTRLU_RC_EXPAND;
  } else if (_udbTables(ptbs) == nullptr) {
    omsgsFMTEDO(ZORU057E, _udbText(ptbs->pcharCREATOR).c_str(), _udbText(ptbs->pcharNAME).c_str());
    iRc = ZORCTRLU_RC_EMPTYTS;
  } else {
    iRc = _zorcontrolUdbCreateSelectFromTS(pcontrol, ptaskUnload, ptbs, 0);
  }
  _udbFreeTablespaces(pchaine);
  return iRc;
}

int zorcontrolUdbExpandDatabase(zorcontrol *pcontrol, zortask *ptaskGlobal)
{
  if (ptaskGlobal == nullptr || ptaskGlobal->pchaineSubTasks == nullptr) return 0;
  const char *pcUser = _udbCText(_udbFound(ptaskGlobal, TOKEN_USERNAME));
  const char *pcPassword = _udbCText(_udbFound(ptaskGlobal, TOKEN_PASS));

  ochaine *pchaine = ptaskGlobal->pchaineSubTasks;
  /* the blocks the expansion appends come after the last block there is now */
  zortask *ptaskLast = static_cast<zortask *>(pchaine->pitemBottom);
  zortask *ptask = static_cast<zortask *>(pchaine->pitemTop);
  bool boDatabase = false;
  int iRc = 0;
  while (iRc == 0 && ptask != nullptr) {
    zortask *ptaskNext = ptask == ptaskLast ? nullptr : ptask->ptaskNext;
    if (ptask->pcName != nullptr && ptask->pcName == _udbName(TOKEN_DATABASE)) {
      if (boDatabase) {
        iRc = ZORCTRLU_RC_TWODB;
        break;
      }
      boDatabase = true;
      const char *pcDatabase = _udbCText(_udbFound(ptask, TOKEN_DBNAME));
      iRc = _udbLockNo(ptask);
      if (iRc != 0) break;
      ochaineRemoveItem(pchaine, ptask);
      if (ghenv == 0)
        iRc = db2utilReconnect(pcDatabase != nullptr ? pcDatabase : "", pcUser, pcPassword, &ghenv, &ghdbc);
      omsgsTrace("UNLOAD DATABASE %s: connection 0x%x\n", pcDatabase != nullptr ? pcDatabase : "", iRc);
      if (iRc == 0) iRc = _zorcontrolUdbCreateUnloadTSFromDB(pcontrol, ptaskGlobal, ptask);
      zortaskDestroy(ptask);
    } else if (ptask->pchaineSubTasks == nullptr || ptask->pchaineSubTasks->iItemCount == 0) {
      const char *pcDatabase = _udbCText(_udbFound(ptask, TOKEN_DBNAME));
      /* the table-space read below reconnects when this one failed */
      if (ghenv == 0)
        (void)db2utilReconnect(pcDatabase != nullptr ? pcDatabase : "", pcUser, pcPassword, &ghenv, &ghdbc);
      iRc = zorcontrolUdbExpandTableSpace(pcontrol, ptask);
    }
    ptask = ptaskNext;
  }
  omsgsTrace("zorcontrolUdbExpandDatabase = 0x%x\n", iRc);
  return iRc;
}

/* ================================================================== backups */

int zorcontrolUdbCheckBackup(zorcontrol *pcontrol, zortask *ptaskUnload)
{
  zoratom *patomBackup = _udbFound(ptaskUnload, TOKEN_BACKUP);
  if (patomBackup == nullptr) return 0;
  zoratom *patomDb2 = _udbFound(ptaskUnload, TOKEN_DB2);
  if (patomDb2 != nullptr) {
    if (patomDb2->value.iValue == kiForce) {
      omsgsFMTEDO(ZORU421E);
    } else if (patomDb2->value.iValue == kiYes) {
      omsgsFMTEDO(ZORU420W);
      /* the block's own choice: a DB2 YES of GLOBAL or of the defaults still
         holds for the other blocks */
      int iRc = _udbSetNo(ptaskUnload, TOKEN_DB2);
      if (iRc != 0) return iRc;
    }
  }
  return zorcontrolUdbValidateBackupFiles(pcontrol, ptaskUnload, patomBackup);
}

int zorcontrolUdbValidateBackupFiles(zorcontrol *pcontrol, zortask *ptaskUnload, zoratom *patomBackup)
{
  (void)pcontrol;
  if (ptaskUnload == nullptr || patomBackup == nullptr || patomBackup->iKind != ZORATOM_OLIST ||
      patomBackup->value.plist == nullptr || patomBackup->value.plist->pitemTop == nullptr)
    return ORC_INVALID;
  olist *plist = patomBackup->value.plist;

  for (auto *pentry = static_cast<zorbkFileEntry *>(plist->pitemTop); pentry != nullptr;
       pentry = pentry->pitemNext) {
    int iRc = zorbkFileEntryDecomposeFileName(pentry);
    if (iRc != 0) {
      std::string strName = _udbText(pentry->pcharFileName);
      omsgsFMTEDO(ZORU422E, static_cast<int>(strName.size()), strName.c_str());
      return iRc;
    }
  }

  auto *pfirst = static_cast<zorbkFileEntry *>(plist->pitemTop);
  std::string strAlias = _udbText(pfirst->pcharAlias);
  zoratom *patomDb = _udbOwn(ptaskUnload, TOKEN_DBNAME);
  if (patomDb != nullptr && patomDb->iKind == ZORATOM_OCHAR) {
    ochar *pchar = _udbMakeString(strAlias, pfirst->pcharAlias != nullptr ? pfirst->pcharAlias->usCCSID : 850);
    if (pchar == nullptr) return ORC_NOMEM;
    if (!(patomDb->iFlags & ZORATOM_BORROWED)) ocharDestroy(patomDb->value.pchar);
    patomDb->value.pchar = pchar;
    patomDb->iFlags &= ~ZORATOM_BORROWED;
  } else {
    int iRc = _udbAddText(ptaskUnload, TOKEN_DBNAME, strAlias, 850);
    if (iRc != 0) return iRc;
  }
  ochar *pcharDbName = _udbString(_udbOwn(ptaskUnload, TOKEN_DBNAME));

  zorbkFileEntry *pcatalog = nullptr;
  for (auto *pentry = pfirst; pentry != nullptr; pentry = pentry->pitemNext) {
    if (pentry != pfirst) {
      if (pentry->ilCatn != pfirst->ilCatn) {
        omsgsFMTEDO(ZORU010I, patomBackup->sStartLine, patomBackup->sStartColumn, patomBackup->sEndLine,
                    patomBackup->sEndColumn);
        omsgsFMTEDO(ZORU423E);
        return ZORCTRLU_RC_BACKUPS;
      }
      if (!_udbSameName(pentry->pcharAlias, pcharDbName)) return ZORCTRLU_RC_BACKUPS;
    }
    if (pcatalog == nullptr && pentry->ilNode == pentry->ilCatn) pcatalog = pentry;
  }

  zorbk *pzorbk = nullptr;
  if (pcatalog != nullptr) {
    int iRc = 0;
    if (pcatalog->pzorbk == nullptr) {
      if (ocharMakeC(pcatalog->pcharFileName) != 0) return ORC_NOMEM;
      pcatalog->pzorbk = zorbkCreate(pcatalog->pcharFileName, pcatalog->pcharAlias, nullptr, &iRc);
      omsgsTrace("zorbkCreate(%s) = 0x%x\n", _charText(pcatalog->pcharFileName), iRc);
      if (iRc != 0) return iRc;
      if (pcatalog->pzorbk == nullptr) return ORC_NOMEM;
    }
    pzorbk = pcatalog->pzorbk;
  }
  for (auto *pentry = pfirst; pentry != nullptr; pentry = pentry->pitemNext) pentry->pzorbkCatalog = pzorbk;

  int iRcCatalog = 0;
  ochaine *pchaine = pzorbk != nullptr ? sysibmLoadCatalogFromBackup(pzorbk, &iRcCatalog) : nullptr;
  if (pchaine == nullptr) {
    if (iRcCatalog != 0) return iRcCatalog;   /* a part of the image's catalogue: ZORU428E */
    omsgsFMTEDO(ZORU427W);
    return 0;
  }
  zorcontrolUdbBackupDbCcsid(pcontrol, ptaskUnload, pzorbk);
  if (pchaine->iItemCount == 0) {
    ochaineDestroy(pchaine);
    return ZORCTRLU_RC_CATALOG;
  }
  zoratom *patom =
      zoratomCreate(_udbName(TOKEN_CATALOG), ZORATOM_OCHAINE, 0, reinterpret_cast<uintptr_t>(pchaine), nullptr, nullptr);
  if (patom == nullptr) return ORC_NOMEM;
  return _udbAdd(ptaskUnload, patom);
}

/* ============================================================ table spaces */

int zorcontrolUdbGetSystablespace(zorcontrol *pcontrol, zortask *ptaskUnload)
{
  if (ptaskUnload == nullptr) return ORC_INVALID;
  zoratom *patomTs = _udbOwn(ptaskUnload, TOKEN_TSNAME);
  ochar *pcharTs = _udbString(patomTs);
  if (pcharTs == nullptr) return 0;
  zoratom *patomDb = _udbFound(ptaskUnload, TOKEN_DBNAME);
  ochar *pcharDb = _udbString(patomDb);

  /* the backup catalogue, when it is of the block's database */
  zoratom *patomCatalog = _udbOwn(ptaskUnload, TOKEN_CATALOG);
  zoratom *patomBackup = _udbOwn(ptaskUnload, TOKEN_BACKUP);
  if (patomCatalog != nullptr && patomCatalog->value.pchaine != nullptr && patomBackup != nullptr &&
      patomBackup->iKind == ZORATOM_OLIST && patomBackup->value.plist != nullptr &&
      patomBackup->value.plist->pitemTop != nullptr &&
      _udbSameName(static_cast<zorbkFileEntry *>(patomBackup->value.plist->pitemTop)->pcharAlias, pcharDb)) {
    statsTimeTrace("Before GetTSFromCat");
    osysibmSystablespace *pfound = nullptr;
    for (auto *ptbs = static_cast<osysibmSystablespace *>(patomCatalog->value.pchaine->pitemTop); ptbs != nullptr;
         ptbs = reinterpret_cast<osysibmSystablespace *>(ptbs->hdr.pnext)) {
      if (_udbSameName(ptbs->pcharNAME, pcharTs)) {
        pfound = ptbs;
        break;
      }
    }
    statsTimeTrace("After GetTSFromCat");
    if (pfound != nullptr)
      return _udbAdd(ptaskUnload, zoratomCreate(_udbName(TOKEN_SYSTABLESPACE), ZORATOM_SYSIBM, ZORATOM_BORROWED,
                                                reinterpret_cast<uintptr_t>(pfound), nullptr, nullptr));
  }

  /* the DB2 catalogue */
  ochar *pcharInstance = _udbString(_udbFound(ptaskUnload, TOKEN_INSTANCE_NAME));
  ochar *pcharInstUser = _udbString(_udbFound(ptaskUnload, TOKEN_INSTANCE_USER));
  zortask *ptaskParmlib = pcontrol != nullptr ? pcontrol->ptaskParmlib : nullptr;
  const char *pcTablespace = _udbCText(patomTs);
  const char *pcDatabase = _udbCText(patomDb);
  int iRc = 0;
  ochaine *pchaine = sysibmGetTablespace(pcDatabase != nullptr ? pcDatabase : "", pcTablespace,
                                         _udbCText(_udbOwn(ptaskParmlib, TOKEN_USERNAME)),
                                         _udbCText(_udbFound(ptaskParmlib, TOKEN_PASS)), nullptr, &iRc);
  omsgsTrace("sysibmGetTablespace(%s) = 0x%x\n", pcTablespace, iRc);
  if (pchaine == nullptr) {
    std::string strWhat = _udbText(pcharDb) + "." + _udbText(pcharTs);
    strWhat = strWhat.substr(0, strWhat.find('\0'));
    omsgsFMTEDO(ZORU020E, static_cast<int>(strWhat.size()), strWhat.c_str());
    return ZORCTRLU_RC_CATALOG;
  }
  if (pchaine->iItemCount != 1) {
    _udbFreeTablespaces(pchaine);
    return ZORCTRLU_RC_NOTS;
  }
  if (gpcnvft != nullptr && gpcnvft->usDbCCSID == 0) ocnvftSetDB(nullptr, zorcontrolUdbGetDbCcsid(pcontrol, ptaskUnload));
  auto *ptbs = static_cast<osysibmSystablespace *>(ochaineRemoveItem(pchaine, pchaine->pitemTop));
  ochaineDestroy(pchaine);
  zoratom *patom = zoratomCreate(_udbName(TOKEN_SYSTABLESPACE), ZORATOM_SYSIBM, 0, reinterpret_cast<uintptr_t>(ptbs),
                                 nullptr, nullptr);
  iRc = _udbAdd(ptaskUnload, patom);
  if (iRc != 0) return iRc;

  bool boFailed = false;
  obf *pobfWanted = _udbWantedParts(ptaskUnload, true, &boFailed);
  if (boFailed) return ORC_NOMEM;
  olist *plist = sysibmGetContainers(pcharInstance, pcharInstUser, pcharDb, pcharTs, &iRc, pobfWanted);
  obfDestroy(pobfWanted);
  omsgsTrace("sysibmGetContainers(%s) = 0x%x\n", pcTablespace, iRc);
  if (iRc != 0) {
    olistDestroy(plist);
    return iRc;
  }
  if (plist == nullptr) return ORC_NOMEM;
  patom = zoratomCreate(_udbName(TOKEN_CONTAINERS), ZORATOM_OLIST, 0, reinterpret_cast<uintptr_t>(plist), nullptr,
                        nullptr);
  if (patom == nullptr) {
    olistDestroy(plist);
    return ORC_NOMEM;
  }
  return _udbAdd(ptaskUnload, patom);
}

int zorcontrolUdbGetLongSystablespace(zorcontrol *pcontrol, zortask *ptaskSelect)
{
  (void)pcontrol;
  if (ptaskSelect == nullptr) return ORC_INVALID;
  if (_udbFound(ptaskSelect, TOKEN_BACKUP) != nullptr) return 0;
  zoratom *patomTable = _udbOwn(ptaskSelect, TOKEN_SYSTABLE);
  if (patomTable == nullptr || patomTable->iKind != ZORATOM_SYSIBM || patomTable->value.psysibm == nullptr) return 0;
  auto *ptable = reinterpret_cast<osysibmSystables *>(patomTable->value.psysibm);
  if (_udbStripped(ptable->pcharLONG_TBSPACE).empty()) return 0;

  int iRc = 0;
  bool boFailed = false;
  obf *pobfWanted = _udbWantedParts(ptaskSelect, false, &boFailed);
  if (boFailed) return ORC_NOMEM;
  olist *plist = sysibmGetContainers(_udbString(_udbFound(ptaskSelect, TOKEN_INSTANCE_NAME)),
                                     _udbString(_udbFound(ptaskSelect, TOKEN_INSTANCE_USER)),
                                     _udbString(_udbFound(ptaskSelect, TOKEN_DBNAME)), ptable->pcharLONG_TBSPACE, &iRc,
                                     pobfWanted);
  obfDestroy(pobfWanted);
  omsgsTrace("sysibmGetContainers(long) = 0x%x\n", iRc);
  if (iRc != 0) {
    olistDestroy(plist);
    return iRc;
  }
  if (plist == nullptr) return ORC_NOMEM;
  zoratom *patom = zoratomCreate(_udbName(TOKEN_CONTAINERS_LONG), ZORATOM_OLIST, 0, reinterpret_cast<uintptr_t>(plist),
                                 nullptr, nullptr);
  if (patom == nullptr) {
    olistDestroy(plist);
    return ORC_NOMEM;
  }
  return _udbAdd(ptaskSelect, patom);
}

/* ============================================================== partitions */

int zorcontrolUdbCheckPartition(zorcontrol *pcontrol, zortask *ptaskUnload)
{
  (void)pcontrol;
  if (ptaskUnload == nullptr) return ORC_INVALID;
  if (ptaskUnload->pchaineSubTasks == nullptr || ptaskUnload->pchaineSubTasks->pitemTop == nullptr) return 0;

  const char *pcInstance = _udbCText(_udbFound(ptaskUnload, TOKEN_INSTANCE_NAME));
  int iCount = 0;
  db2utilNode *pnodes = db2utilGetNodes(pcInstance != nullptr ? pcInstance : "", &iCount);
  if (pnodes == nullptr || iCount <= 0) {
    /* without partition list no set can be checked */
    std::free(pnodes);
    omsgsTrace("db2utilGetNodes: no partition list\n");
    return ZORCTRLU_RC_PARTITION;
  }
  uint32_t ulBits = static_cast<uint32_t>(iCount);  /* highest partition number + 1 */
  obf *pobfKnown = obfCreate(ulBits);
  if (pobfKnown == nullptr) {
    std::free(pnodes);
    return ORC_NOMEM;
  }
  for (int i = 0; i < iCount; i++)
    if (pnodes[i].iNode >= 0 && pnodes[i].acHost[0] != '\0') obfSet(pobfKnown, static_cast<uint32_t>(pnodes[i].iNode));

  int iRc = 0;
  zortask *ptaskFirst = static_cast<zortask *>(ptaskUnload->pchaineSubTasks->pitemTop);
  zoratom *patomBackup = _udbFound(ptaskUnload, TOKEN_BACKUP);
  std::vector<const obf *> vFilled;   /* sets that named no partition, filled here */

  /* the SELECTs' partition sets */
  for (zortask *ptask = ptaskFirst; iRc == 0 && ptask != nullptr; ptask = ptask->ptaskNext) {
    zoratom *patomPart = _udbFound(ptask, TOKEN_PART);
    if (patomPart == nullptr || patomPart->iKind != ZORATOM_OBF || patomPart->value.pobf == nullptr) {
      /* no set anywhere: the SELECT gets one of every partition */
      obf *pobf = obfCreate(ulBits);
      if (pobf == nullptr) {
        iRc = ORC_NOMEM;
        break;
      }
      zoratom *patom = zoratomCreate(_udbName(TOKEN_PART), ZORATOM_OBF, 0, reinterpret_cast<uintptr_t>(pobf), nullptr,
                                     nullptr);
      if (patom == nullptr) obfDestroy(pobf);
      if ((iRc = _udbAdd(ptask, patom)) != 0) break;
      patomPart = patom;
    }
    obf *pobfPart = patomPart->value.pobf;
    if (obfIsEmpty(pobfPart)) {
      _udbFillAll(pobfPart, pnodes, iCount, ulBits);
      vFilled.push_back(pobfPart);
      continue;
    }
    if (std::find(vFilled.begin(), vFilled.end(), pobfPart) != vFilled.end()) continue;
    if (_udbAnyFrom(pobfPart, ulBits)) {
      iRc = ZORCTRLU_RC_PARTITION;
    } else {
      obfResize(pobfPart, ulBits);
      if (!_udbSubset(pobfPart, pobfKnown)) iRc = ZORCTRLU_RC_PARTITION;
    }
    if (iRc != 0) {
      omsgsFMTEDO(ZORU011E);
      break;
    }
    /* from backups, a partition the SELECT or its block names is read from its
       image: one must be given (a set of GLOBAL or the options may have been
       filled by an earlier block) */
    if (patomBackup == nullptr || patomBackup->iKind != ZORATOM_OLIST || patomBackup->value.plist == nullptr) continue;
    if (_udbOwn(ptask, TOKEN_PART) != patomPart && _udbOwn(ptaskUnload, TOKEN_PART) != patomPart) continue;
    for (uint32_t ul = 0; iRc == 0 && ul < ulBits; ul++) {
      if (!obfGet(pobfPart, ul)) continue;
      bool boImage = false;
      for (auto *pentry = static_cast<zorbkFileEntry *>(patomBackup->value.plist->pitemTop); pentry != nullptr;
           pentry = pentry->pitemNext)
        boImage |= pentry->ilNode == static_cast<int32_t>(ul);
      if (boImage) continue;
      std::string strDb = _udbText(_udbString(_udbFound(ptaskUnload, TOKEN_DBNAME)));
      omsgsFMTEDO(ZORU432E, static_cast<int>(ul), pnodes[ul].acHost, strDb.substr(0, strDb.find('\0')).c_str(),
                  "NO BACKUP IMAGE OF IT IS GIVEN");
      iRc = SYSIBM_RC_PARTITION;
    }
  }

  /* the partition sets of their OUTPUT files and LOB IN directories */
  for (zortask *ptask = ptaskFirst; iRc == 0 && ptask != nullptr; ptask = ptask->ptaskNext) {
    obf *pobfPart = _udbFound(ptask, TOKEN_PART)->value.pobf;
    zoratom *patomOutput = _udbFound(ptask, TOKEN_OUTPUT);
    if (patomOutput != nullptr && patomOutput->iKind == ZORATOM_OLIST && patomOutput->value.plist != nullptr) {
      for (auto *pout = static_cast<udbOutFile *>(patomOutput->value.plist->pitemTop); iRc == 0 && pout != nullptr;
           pout = pout->pitemNext) {
        /* a file without FOR PARTS takes the SELECT's partitions, however few
           (--part 1 leaves the others out) */
        bool boAll = false;
        if (!_udbCompleteItemSet(&pout->pobfPart, pobfPart, pnodes, iCount, ulBits, &boAll) ||
            (!boAll && !_udbSubset(pout->pobfPart, pobfPart)))
          iRc = ZORCTRLU_RC_PARTITION;
      }
      if (iRc != 0) {
        omsgsFMTEDO(ZORU011E);
        break;
      }
    }
    zoratom *patomLob = _udbFound(ptask, TOKEN_LOB);
    if (patomLob != nullptr && patomLob->iKind == ZORATOM_OLIST && patomLob->value.plist != nullptr) {
      obf *pobfUnion = obfCreate(pobfPart->ulBitCount);
      if (pobfUnion == nullptr) {
        iRc = ORC_NOMEM;
        break;
      }
      olistIterator iter;
      olistIteratorInit(&iter, patomLob->value.plist);
      while (iRc == 0 && olistIteratorNext(&iter)) {
        auto *plob = static_cast<udbLobPath *>(olistIteratorGetRef(&iter));
        if (plob == nullptr) continue;
        bool boAll = false;
        if (!_udbCompleteItemSet(&plob->pobfPart, pobfPart, pnodes, iCount, ulBits, &boAll))
          iRc = ZORCTRLU_RC_PARTITION;
        else
          obfOr(pobfUnion, boAll ? pobfPart : plob->pobfPart, pobfUnion);   /* one for every partition read */
      }
      olistIteratorDestroy(&iter);
      if (iRc != 0)
        omsgsFMTEDO(ZORU011E);
      else if (!_udbSubset(pobfUnion, pobfPart) || !_udbSubset(pobfPart, pobfUnion))
        omsgsFMTEDO(ZORU425W);
      obfDestroy(pobfUnion);
    }
  }

  obfDestroy(pobfKnown);
  std::free(pnodes);
  omsgsTrace("zorcontrolUdbCheckPartition = 0x%x\n", iRc);
  return iRc;
}

/* ================================================================ look-ups */

int zorcontrolUdbGetTSFromTB(ochaine *pchaineCatalog, ochar *pcharQualifier, ochar *pcharName,
                             ochar **ppcharTablespace, char *pcType)
{
  if (pchaineCatalog == nullptr || ppcharTablespace == nullptr || pcType == nullptr) return ORC_INVALID;
  /* the names are compared in UTF-8 whatever code pages they come in */
  auto utf8 = [](const ochar *pchar) -> ochar * {
    ochar *pcopy = pchar != nullptr && pchar->pcData != nullptr ? ocharClone(pchar) : ocharCreate(0, 1208);
    if (pcopy != nullptr && ocharConvert(pcopy, 1208) != 0 && pcopy->usCCSID != 1208) {
      ocharDestroy(pcopy);
      return nullptr;
    }
    return pcopy;
  };
  ochar *pcharWantedName = utf8(pcharName);
  ochar *pcharWantedQual = utf8(pcharQualifier);
  int iRc = (pcharWantedName == nullptr || pcharWantedQual == nullptr) ? ORC_NOMEM : ZORCTRLU_RC_NOTS;

  for (auto *ptbs = static_cast<osysibmSystablespace *>(pchaineCatalog->pitemTop);
       iRc == ZORCTRLU_RC_NOTS && ptbs != nullptr; ptbs = reinterpret_cast<osysibmSystablespace *>(ptbs->hdr.pnext)) {
    if (ptbs->apchaine[1] == nullptr) continue;
    for (auto *ptable = static_cast<osysibmSystables *>(ptbs->apchaine[1]->pitemTop); ptable != nullptr;
         ptable = reinterpret_cast<osysibmSystables *>(ptable->hdr.pnext)) {
      ochar *pcharName8 = utf8(ptable->pcharNAME);
      ochar *pcharCreator8 = utf8(ptable->pcharCREATOR);
      bool boMatch = pcharName8 != nullptr && pcharCreator8 != nullptr && _udbSameName(pcharName8, pcharWantedName) &&
                     _udbSameName(pcharCreator8, pcharWantedQual);
      ocharDestroy(pcharName8);
      ocharDestroy(pcharCreator8);
      if (!boMatch) continue;
      *ppcharTablespace = ptbs->pcharNAME != nullptr ? ocharClone(ptbs->pcharNAME) : ocharCreate(0, 850);
      *pcType = ptable->cTYPE;
      iRc = *ppcharTablespace != nullptr ? 0 : ORC_NOMEM;
      break;
    }
  }
  ocharDestroy(pcharWantedName);
  ocharDestroy(pcharWantedQual);
  return iRc;
}

void zorcontrolUdbBackupDbCcsid(zorcontrol *pcontrol, zortask *ptaskUnload, const zorbk *pzorbk)
{
  if (gpcnvft == nullptr || gpcnvft->usDbCCSID != 0) return;
  uint16_t usDb = pzorbk != nullptr && pzorbk->isCCSID > 0 ? ocnvftSubstInternal(static_cast<uint16_t>(pzorbk->isCCSID))
                                                           : zorcontrolUdbGetDbCcsid(pcontrol, ptaskUnload);
  omsgsTrace("database code page for the backup catalogue: %u\n", static_cast<unsigned>(usDb));
  if (usDb != 0) ocnvftSetDB(nullptr, usDb);
}

uint16_t zorcontrolUdbGetDbCcsid(zorcontrol *pcontrol, zortask *ptask)
{
  (void)pcontrol;
  char **ppcValues = db2utilGetDBCfg(_udbString(_udbFound(ptask, TOKEN_DBNAME)),
                                     _udbString(_udbFound(ptask, TOKEN_INSTANCE_NAME)),
                                     _udbString(_udbFound(ptask, TOKEN_USERNAME)), _udbString(_udbFound(ptask, TOKEN_PASS)));
  if (ppcValues == nullptr) return 0;
  uint16_t usCodepage = 0;
  if (ppcValues[0] != nullptr) std::memcpy(&usCodepage, ppcValues[0], sizeof usCodepage);
  std::free(ppcValues[0]);
  std::free(ppcValues[1]);
  std::free(ppcValues);
  omsgsTrace("database code page %u\n", static_cast<unsigned>(usCodepage));
  return ocnvftSubstInternal(usCodepage);
}

/* A column of the table as the catalogue describes it: its name and DEFAULT text. */
struct udbCatColumn {
  const ochar *pcharName;
  const ochar *pcharDefault;
};

/* True when both names are the same in UTF-8, whatever code pages they come in. */
static bool _udbSameUtf8(const ochar *pcharA, const ochar *pcharB)
{
  if (pcharA == nullptr || pcharB == nullptr) return false;
  ochar *pcharA8 = ocharClone(pcharA);
  ochar *pcharB8 = ocharClone(pcharB);
  bool boSame = pcharA8 != nullptr && pcharB8 != nullptr && ocharConvert(pcharA8, 1208) == 0 &&
                ocharConvert(pcharB8, 1208) == 0 && ocharCompare(pcharA8, pcharB8, ' ') == 0;
  ocharDestroy(pcharA8);
  ocharDestroy(pcharB8);
  return boSame;
}

/*
** The columns of the SELECT's table in the catalogue: its column table when
** the control step made one, else the SYSCOLUMNS rows of the table in the
** SELECT's table space (a SELECT that goes to DB2 from the start).  Empty
** when the table is not found there (a view, another table space).
*/
static std::vector<udbCatColumn> _udbTableColumns(zortask *ptaskSelect)
{
  std::vector<udbCatColumn> v;
  zoratom *patomTable = _udbOwn(ptaskSelect, TOKEN_COLTABLE);
  if (patomTable != nullptr && patomTable->iKind == ZORATOM_OCHAINE && patomTable->value.pchaine != nullptr) {
    for (auto *pcol = static_cast<const zorcol *>(patomTable->value.pchaine->pitemTop); pcol != nullptr;
         pcol = pcol->pcolNext)
      v.push_back({pcol->pcharName, pcol->pcharDefault});
    return v;
  }
  zoratom *patomTs = _udbFound(ptaskSelect, TOKEN_SYSTABLESPACE);
  const ochar *pcharName = _udbString(_udbOwn(ptaskSelect, TOKEN_TBNAME));
  const ochar *pcharQualifier = _udbString(_udbOwn(ptaskSelect, TOKEN_TBQUALIFIER));
  if (patomTs == nullptr || patomTs->iKind != ZORATOM_SYSIBM || patomTs->value.psysibm == nullptr ||
      pcharName == nullptr || pcharQualifier == nullptr)
    return v;
  auto *pts = reinterpret_cast<osysibmSystablespace *>(patomTs->value.psysibm);
  if (pts->apchaine[1] == nullptr) return v;
  for (auto *ptable = static_cast<osysibmSystables *>(pts->apchaine[1]->pitemTop); ptable != nullptr;
       ptable = reinterpret_cast<osysibmSystables *>(ptable->hdr.pnext)) {
    if (ptable->cTYPE != 'T' || !_udbSameUtf8(ptable->pcharNAME, pcharName) ||
        !_udbSameUtf8(ptable->pcharCREATOR, pcharQualifier))
      continue;
    if (ptable->apchaine[0] != nullptr)
      for (auto *prec = static_cast<osysibm *>(ptable->apchaine[0]->pitemTop); prec != nullptr; prec = prec->pnext) {
        auto *pcol = reinterpret_cast<const osysibmSyscolumns *>(prec);
        v.push_back({pcol->pcharNAME, pcol->pcharDEFAULTVALUE});
      }
    break;
  }
  return v;
}

/*
** The catalogue columns DB2's result columns stand for, in result order,
** from the SELECT as its SQL text was parsed before DB2 described it: every
** column of the table for SELECT *, the column of a plain column reference
** of the select list, none (a null name) for a computed one.  Empty when
** the SQL text was not parsed, the table is not found, or the select list
** does not match the description.
*/
static std::vector<udbCatColumn> _udbCatalogueColumns(zortask *ptaskSelect, int32_t iDescribed)
{
  std::vector<udbCatColumn> v;
  zoratom *patomSelect = _udbOwn(ptaskSelect, TOKEN_SELECT);
  if (patomSelect == nullptr || patomSelect->iKind != ZORATOM_OCHAINE || patomSelect->value.pchaine == nullptr)
    return v;
  std::vector<udbCatColumn> vTable = _udbTableColumns(ptaskSelect);
  if (vTable.empty()) return v;
  const ochaine *pchaineSelect = patomSelect->value.pchaine;
  if (pchaineSelect->pData == ZORDYACC_SELECT_STAR && pchaineSelect->pitemTop == nullptr) {
    v = vTable;
  } else {
    for (auto *pcol = static_cast<const zorcol *>(pchaineSelect->pitemTop); pcol != nullptr; pcol = pcol->pcolNext) {
      const zornode *pnode = pcol->pnodeExpr;
      const zorcol *pcolRef = pnode != nullptr && pnode->sKind == ZORNODE_VAR ? static_cast<const zorcol *>(pnode->pLeft)
                                                                              : nullptr;
      udbCatColumn col{nullptr, nullptr};
      if (pcolRef != nullptr && pcolRef->pcharName != nullptr)
        for (const udbCatColumn &c : vTable)
          if (_udbSameUtf8(c.pcharName, pcolRef->pcharName)) {
            col = c;
            break;
          }
      v.push_back(col);
    }
  }
  if (static_cast<int32_t>(v.size()) != iDescribed) v.clear();
  return v;
}

/*
** Gives each result column that stands for a column of the table that
** column's catalogue default, which DB2's description does not carry, so
** that an IXF header says the same whichever way the table is read.
*/
static int _udbCatalogueDefaults(zortask *ptaskSelect, ochaine *pchaineColumns, ochaine *pchaineCopy)
{
  std::vector<udbCatColumn> v = _udbCatalogueColumns(ptaskSelect, pchaineColumns->iItemCount);
  auto *pcol = static_cast<zorcol *>(pchaineColumns->pitemTop);
  auto *pcopy = static_cast<zorcol *>(pchaineCopy->pitemTop);
  for (const udbCatColumn &c : v) {
    if (pcol == nullptr || pcopy == nullptr) break;
    if (c.pcharDefault != nullptr) {
      for (zorcol *p : {pcol, pcopy}) {
        ocharDestroy(p->pcharDefault);
        if ((p->pcharDefault = ocharClone(c.pcharDefault)) == nullptr) return ORC_NOMEM;
      }
    }
    pcol = pcol->pcolNext;
    pcopy = pcopy->pcolNext;
  }
  return 0;
}

int zorcontrolUdbGetColDescription(zorcontrol *pcontrol, zortask *ptaskSelect, ochar *pcharSelect)
{
  if (ptaskSelect == nullptr) return ORC_INVALID;
  const char *pcDatabase = _udbCText(_udbFound(ptaskSelect, TOKEN_DBNAME));
  int iRc = db2utilReconnect(pcDatabase != nullptr ? pcDatabase : "", _udbCText(_udbFound(ptaskSelect, TOKEN_USERNAME)),
                             _udbCText(_udbFound(ptaskSelect, TOKEN_PASS)), &ghenv, &ghdbc);
  if (iRc != 0) {
    omsgsTrace("Connect failed.\n");
    return iRc;
  }
  uint16_t usCCSID = zorcontrolUdbGetDbCcsid(pcontrol, ptaskSelect);
  ochaine *pchaineColumns = ochaineCreate(static_cast<int>(sizeof(zorcol)), nullptr, zorcolDestroyChaineItem);
  ochaine *pchaineCopy = ochaineCreate(static_cast<int>(sizeof(zorcol)), nullptr, zorcolDestroyChaineItem);
  if (pchaineColumns == nullptr || pchaineCopy == nullptr) {
    ochaineDestroy(pchaineColumns);
    ochaineDestroy(pchaineCopy);
    return ORC_NOMEM;
  }
  iRc = sqlcatGetColDescription(ptaskSelect, pcharSelect, usCCSID, ghdbc, pchaineColumns, pchaineCopy);
  if (iRc == 0) iRc = _udbCatalogueDefaults(ptaskSelect, pchaineColumns, pchaineCopy);
  if (iRc != 0) {
    ochaineDestroy(pchaineColumns);
    ochaineDestroy(pchaineCopy);
    return iRc;
  }
  /* DB2 evaluates the condition from the SQL text: the WHERE tree, bound to
     the old COLTABLE's columns, goes first, then the old chains */
  zoratomDestroy(zortaskRemoveAtom(ptaskSelect, _udbName(TOKEN_WHERE)));
  zoratomDestroy(zortaskRemoveAtom(ptaskSelect, _udbName(TOKEN_SELECT)));
  zoratomDestroy(zortaskRemoveAtom(ptaskSelect, _udbName(TOKEN_COLTABLE)));
  zoratom *patomSelect = zoratomCreate(_udbName(TOKEN_SELECT), ZORATOM_OCHAINE, 0,
                                       reinterpret_cast<uintptr_t>(pchaineCopy), nullptr, nullptr);
  if (patomSelect == nullptr) ochaineDestroy(pchaineCopy);
  iRc = _udbAdd(ptaskSelect, patomSelect);
  zoratom *patomTable = zoratomCreate(_udbName(TOKEN_COLTABLE), ZORATOM_OCHAINE, 0,
                                      reinterpret_cast<uintptr_t>(pchaineColumns), nullptr, nullptr);
  if (patomTable == nullptr) ochaineDestroy(pchaineColumns);
  int iRcTable = _udbAdd(ptaskSelect, patomTable);
  return iRc != 0 ? iRc : iRcTable;
}
