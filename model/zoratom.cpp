/*
** zoratom.cpp
**   Atoms of the request tree: constructors, clone and destroy by kind, and
**   the atom dump on a trace keyword or a stdio stream (see zoratom.h).
*/
#include "model/zoratom.h"

#include <cstdarg>
#include <cstdlib>

#include "common/obf.h"
#include "common/ochaine.h"
#include "common/ochar.h"
#include "common/olist.h"
#include "common/omsgs.h"
#include "common/ostream.h"

#include "model/osysibm.h"
#include "model/oconvert.h"

namespace {

/* Operations of the kinds other folders own, by kind; empty until they register. */
const zoratomOwner *gapownerAtom[ZORATOM_LONGLONG + 1];

const zoratomOwner *_atomOwner(int iKind)
{
  return iKind >= 0 && iKind <= ZORATOM_LONGLONG ? gapownerAtom[iKind] : nullptr;
}

/* Deep copy through the kind's owner: NULL for a NULL value, and when the copy fails. */
void *_atomCloneOwned(int iKind, const void *pvValue, bool *pboFailed)
{
  if (pvValue == nullptr) return nullptr;
  const zoratomOwner *powner = _atomOwner(iKind);
  void *pvCopy = powner != nullptr && powner->procClone != nullptr ? powner->procClone(pvValue) : nullptr;
  if (pvCopy == nullptr) *pboFailed = true;
  return pvCopy;
}

void _atomDestroyOwned(int iKind, void *pvValue)
{
  const zoratomOwner *powner = _atomOwner(iKind);
  if (pvValue != nullptr && powner != nullptr && powner->procDestroy != nullptr) powner->procDestroy(pvValue);
}

void _atomPrintOwned(int iKind, const void *pvValue, FILE *pfile)
{
  const zoratomOwner *powner = _atomOwner(iKind);
  if (pfile != nullptr && pvValue != nullptr && powner != nullptr && powner->procPrint != nullptr)
    powner->procPrint(pvValue, pfile);
}

/*
** Copy of a column chain.  Column chains copy their items byte for byte,
** which would leave both chains owning the same names, expressions and
** default values; every column is therefore copied through the column
** module.  The chain's owner word (the SELECT * marker among others), its
** create and print callbacks are kept.  NULL when a copy fails.
*/
ochaine *_atomCloneColumnChaine(ochaine *pchaine)
{
  ochaine *pcopy = ochaineCreate(pchaine->iItemSize, pchaine->procClone, pchaine->procDestroy);
  if (pcopy == nullptr) return nullptr;
  pcopy->procCreate = pchaine->procCreate;
  pcopy->procPrintItem = pchaine->procPrintItem;
  pcopy->pData = pchaine->pData;
  for (void *pitem = pchaine->pitemTop; pitem != nullptr;
       pitem = static_cast<ochaineItem *>(pitem)->pitemNext) {
    bool boFailed = false;
    void *pcol = _atomCloneOwned(ZORATOM_ZORCOL, pitem, &boFailed);
    if (boFailed) {
      ochaineDestroy(pcopy);
      return nullptr;
    }
    /* a column starts with its chain links (ochaineItem) */
    static_cast<ochaineItem *>(pcol)->pitemNext = nullptr;
    static_cast<ochaineItem *>(pcol)->pitemPrev = nullptr;
    ochaineAppend(pcopy, pcol);
  }
  return pcopy;
}

ochaine *_atomCloneChaine(ochaine *pchaine)
{
  if (pchaine == nullptr) return nullptr;
  /* Column chains are freed column by column and have no clone callback. */
  const zoratomOwner *pownerCol = _atomOwner(ZORATOM_ZORCOL);
  if (pchaine->procClone == nullptr && pownerCol != nullptr && pownerCol->procDestroyChaineItem != nullptr &&
      pchaine->procDestroy == pownerCol->procDestroyChaineItem)
    return _atomCloneColumnChaine(pchaine);
  return ochaineClone(pchaine);
}

void _atomSetPos(zoratom *patom, const ostreamLocation *plocStart, const ostreamLocation *plocEnd)
{
  patom->sStartLine = plocStart ? (int16_t)plocStart->first_line : 0;
  patom->sStartColumn = plocStart ? (int16_t)plocStart->first_column : 0;
  patom->sEndLine = plocEnd ? (int16_t)plocEnd->last_line : 0;
  patom->sEndColumn = plocEnd ? (int16_t)plocEnd->last_column : 0;
}

zoratom *_atomAlloc(const char *pcName, int iKind, int iFlags, const ostreamLocation *plocStart,
                    const ostreamLocation *plocEnd)
{
  zoratom *patom = static_cast<zoratom *>(std::malloc(sizeof(zoratom)));
  if (patom == nullptr) return nullptr;
  patom->pcName = pcName;
  patom->iKind = iKind;
  patom->iFlags = iFlags;
  _atomSetPos(patom, plocStart, plocEnd);
  patom->value.ulWord = 0;
  patom->value2.ulWord = 0;
  return patom;
}

/* The 64-bit value of a LONG LONG atom. */
long long _atomLongLong(const zoratom *patom)
{
  uint64_t ull = ((uint64_t)(uint32_t)patom->value2.ulLow << 32) | (uint32_t)patom->value.ulLow;
  return (long long)ull;
}

void _atomDump(const zoratom *patom, const zoratomSink &sink)
{
  sink.text("ATOM %s (%i:%i-%i:%i)", patom->pcName ? patom->pcName : "no_name",
            (int)patom->sStartLine, (int)patom->sStartColumn, (int)patom->sEndLine,
            (int)patom->sEndColumn);
  FILE *pfile = sink.pfile;
  switch (patom->iKind) {
    case ZORATOM_TASKCHAINE:
      sink.text(" TYPE TASKCHAINE \n");
      if (pfile && patom->value.pchaine) ochainePrint(patom->value.pchaine, pfile, 0, 3);
      break;
    case ZORATOM_BYTE:
      sink.text(" TYPE BYTE \n    !%i!\n", (int)patom->value.ucByte);
      break;
    case ZORATOM_SHORT:
      sink.text(" TYPE SHORT \n    !%i!\n", (int)patom->value.usShort);
      break;
    case ZORATOM_INTEGER:
      sink.text(" TYPE INTEGER \n    !%i!\n", (int)patom->value.iValue);
      break;
    case ZORATOM_DIM:
      sink.text(" TYPE DIM \n");
      sink.string(patom->value.pchar);
      sink.text("    %lx \n", (unsigned long)patom->value2.ulLow);
      break;
    case ZORATOM_OCHAR:
      sink.text(" TYPE OCHAR \n");
      sink.string(patom->value.pchar);
      break;
    case ZORATOM_CHAR:
      sink.text(" TYPE CHAR \n");
      break;
    case ZORATOM_OLIST:
      sink.text(" TYPE OLIST \n");
      if (pfile && patom->value.plist) olistPrint(patom->value.plist, pfile, 4, 3);
      break;
    case ZORATOM_OCHAINE:
      sink.text(" TYPE OCHAINE \n");
      if (pfile && patom->value.pchaine) ochainePrint(patom->value.pchaine, pfile, 4, 3);
      break;
    case ZORATOM_OBF:
      sink.text(" TYPE OBF \n");
      if (patom->value.pobf) {
        if (pfile)
          obfDump(patom->value.pobf, pfile);
        else
          obfPrintServices(patom->value.pobf, sink.pcKeyword);
      }
      break;
    case ZORATOM_TYPE:
      sink.text(" TYPE TYPE \n    !%i! !%i! \n", (int)patom->value.iValue,
                (int)(int32_t)patom->value2.ulLow);
      break;
    case ZORATOM_DBLCHAR:
      sink.text(" TYPE DBLCHAR \n");
      sink.string(patom->value.pchar);
      sink.string(patom->value2.pchar);
      break;
    case ZORATOM_TRISHORT:
      sink.text(" TYPE TRISHORT \n");
      sink.text("|%i| |%i| |%i|\n", (int)patom->value.ausShort[0], (int)patom->value.ausShort[1],
                (int)patom->value2.usShort);
      break;
    case ZORATOM_ZORCOL:
      sink.text(" TYPE ZORCOL \n");
      _atomPrintOwned(ZORATOM_ZORCOL, patom->value.pcol, pfile);
      break;
    case ZORATOM_ZORNODE:
      sink.text(" TYPE ZORNODE \n");
      _atomPrintOwned(ZORATOM_ZORNODE, patom->value.pnode, pfile);
      break;
    case ZORATOM_DBLLIST:
      sink.text(" TYPE DBLLIST \n");
      if (patom->value.plist == nullptr)
        sink.text("  plist1 : NULL\n");
      else if (pfile)
        olistPrint(patom->value.plist, pfile, 0, 3);
      if (patom->value2.plist == nullptr)
        sink.text("  plist2 : NULL\n");
      else if (pfile)
        olistPrint(patom->value2.plist, pfile, 0, 3);
      break;
    case ZORATOM_MATCHCOL:
      sink.text(" TYPE MATCHCOL VIEW\n");
      _atomPrintOwned(ZORATOM_MATCHCOL, patom->value.pcol, pfile);
      sink.text("               TABLE\n");
      _atomPrintOwned(ZORATOM_MATCHCOL, patom->value2.pcol, pfile);
      break;
    case ZORATOM_LONGLONG:
      sink.text(" TYPE LONG LONG \n    !%lld!\n", _atomLongLong(patom));
      break;
    default:
      sink.text(" TYPE %i \n", (int)patom->iKind);
      sink.text("%p \n", patom->value.pValue);
      break;
  }
}

}  // namespace

zoratom *zoratomCreate(const char *pcName, int iKind, int iFlags, uintptr_t ulValue,
                       const ostreamLocation *plocStart, const ostreamLocation *plocEnd)
{
  zoratom *patom = _atomAlloc(pcName, iKind, iFlags, plocStart, plocEnd);
  if (patom == nullptr) return nullptr;
  if (iKind == ZORATOM_BYTE)
    patom->value.ucByte = (uint8_t)ulValue;
  else if (iKind == ZORATOM_SHORT)
    patom->value.usShort = (uint16_t)ulValue;
  else
    patom->value.ulWord = ulValue;
  return patom;
}

zoratom *zoratomCreateType(const char *pcName, int32_t iTypeNumber, int32_t iLetterCode,
                           const ostreamLocation *plocStart, const ostreamLocation *plocEnd)
{
  zoratom *patom = _atomAlloc(pcName, ZORATOM_TYPE, ZORATOM_BORROWED, plocStart, plocEnd);
  if (patom == nullptr) return nullptr;
  patom->value.iValue = iTypeNumber;
  patom->value2.iValue = iLetterCode;
  return patom;
}

zoratom *zoratomCreateDoubleChar(const char *pcName, ochar *pcharFirst, ochar *pcharSecond,
                                 const ostreamLocation *plocStart, const ostreamLocation *plocEnd)
{
  zoratom *patom = _atomAlloc(pcName, ZORATOM_DBLCHAR, 0, plocStart, plocEnd);
  if (patom == nullptr) return nullptr;
  patom->value.pchar = pcharFirst;
  patom->value2.pchar = pcharSecond;
  return patom;
}

zoratom *zoratomCreateTripleShort(const char *pcName, uint16_t usA, uint16_t usB, uint16_t usC,
                                  const ostreamLocation *plocStart, const ostreamLocation *plocEnd)
{
  zoratom *patom = _atomAlloc(pcName, ZORATOM_TRISHORT, ZORATOM_BORROWED, plocStart, plocEnd);
  if (patom == nullptr) return nullptr;
  patom->value.ausShort[0] = usA;
  patom->value.ausShort[1] = usB;
  patom->value2.usShort = usC;
  return patom;
}

zoratom *zoratomCreateMatchCol(const char *pcName, zorcol *pcolView, zorcol *pcolTable,
                               const ostreamLocation *plocStart, const ostreamLocation *plocEnd)
{
  zoratom *patom = _atomAlloc(pcName, ZORATOM_MATCHCOL, 0, plocStart, plocEnd);
  if (patom == nullptr) return nullptr;
  patom->value.pcol = pcolView;
  patom->value2.pcol = pcolTable;
  return patom;
}

zoratom *zoratomClone(const zoratom *patom)
{
  if (patom == nullptr) return nullptr;
  zoratom *pclone = static_cast<zoratom *>(std::malloc(sizeof(zoratom)));
  if (pclone == nullptr) return nullptr;
  *pclone = *patom;
  if (patom->iFlags & ZORATOM_BORROWED) return pclone;

  const zoratomValue &v = patom->value;
  const zoratomValue &v2 = patom->value2;
  bool boFailed = false;
  switch (patom->iKind) {
    case ZORATOM_TASKCHAINE:
    case ZORATOM_OCHAINE:
      if (v.pchaine != nullptr && v.pchaine->procClone == nullptr && v.pchaine->iItemSize != 0 &&
          v.pchaine->procDestroy == osysibmChaineDestroyProc) {
        /* A byte copy of catalogue records would share their strings and
        ** child chains: the clone shares the chain instead, as it shares a
        ** single catalogue record. */
        pclone->iFlags |= ZORATOM_BORROWED;
        break;
      }
      pclone->value.pchaine = _atomCloneChaine(v.pchaine);
      boFailed = v.pchaine && !pclone->value.pchaine;
      break;
    case ZORATOM_BYTE:
    case ZORATOM_SHORT:
    case ZORATOM_INTEGER:
    case ZORATOM_CHAR:
    case ZORATOM_TYPE:
    case ZORATOM_TRISHORT:
    case ZORATOM_LONGLONG:
      break;
    case ZORATOM_DIM:
    case ZORATOM_OCHAR:
      pclone->value.pchar = v.pchar ? ocharClone(v.pchar) : nullptr;
      boFailed = v.pchar && !pclone->value.pchar;
      break;
    case ZORATOM_DBLCHAR:
      pclone->value.pchar = v.pchar ? ocharClone(v.pchar) : nullptr;
      pclone->value2.pchar = v2.pchar ? ocharClone(v2.pchar) : nullptr;
      boFailed = (v.pchar && !pclone->value.pchar) || (v2.pchar && !pclone->value2.pchar);
      if (boFailed) {
        if (pclone->value.pchar) ocharDestroy(pclone->value.pchar);
        if (pclone->value2.pchar) ocharDestroy(pclone->value2.pchar);
      }
      break;
    case ZORATOM_OLIST:
      pclone->value.plist = olistClone(v.plist);
      boFailed = v.plist && !pclone->value.plist;
      break;
    case ZORATOM_DBLLIST:
      pclone->value.plist = olistClone(v.plist);
      pclone->value2.plist = olistClone(v2.plist);
      boFailed = (v.plist && !pclone->value.plist) || (v2.plist && !pclone->value2.plist);
      if (boFailed) {
        olistDestroy(pclone->value.plist);
        olistDestroy(pclone->value2.plist);
      }
      break;
    case ZORATOM_OBF:
      pclone->value.pobf = v.pobf ? obfClone(v.pobf) : nullptr;
      boFailed = v.pobf && !pclone->value.pobf;
      break;
    case ZORATOM_ZORCOL:
      pclone->value.pcol = static_cast<zorcol *>(_atomCloneOwned(ZORATOM_ZORCOL, v.pcol, &boFailed));
      break;
    case ZORATOM_MATCHCOL:
      pclone->value.pcol = static_cast<zorcol *>(_atomCloneOwned(ZORATOM_MATCHCOL, v.pcol, &boFailed));
      pclone->value2.pcol = static_cast<zorcol *>(_atomCloneOwned(ZORATOM_MATCHCOL, v2.pcol, &boFailed));
      if (boFailed) {
        _atomDestroyOwned(ZORATOM_MATCHCOL, pclone->value.pcol);
        _atomDestroyOwned(ZORATOM_MATCHCOL, pclone->value2.pcol);
      }
      break;
    case ZORATOM_ZORNODE:
      pclone->value.pnode = static_cast<zornode *>(_atomCloneOwned(ZORATOM_ZORNODE, v.pnode, &boFailed));
      break;
    case ZORATOM_COREDATA:
      pclone->value.pcoreData =
          static_cast<zorucoreData *>(_atomCloneOwned(ZORATOM_COREDATA, v.pcoreData, &boFailed));
      break;
    case ZORATOM_CONVERTER:
      pclone->value.pconvert = v.pconvert ? oconvertClone(v.pconvert) : nullptr;
      boFailed = v.pconvert && !pclone->value.pconvert;
      break;
    case ZORATOM_SYSIBM:
    default:
      /* No deep copy: the clone shares the value. */
      pclone->iFlags |= ZORATOM_BORROWED;
      break;
  }
  if (boFailed) {
    std::free(pclone);
    return nullptr;
  }
  return pclone;
}

void *zoratomClone(void *patom)
{
  return zoratomClone(static_cast<const zoratom *>(patom));
}

void zoratomDestroy(void *pvAtom)
{
  zoratom *patom = static_cast<zoratom *>(pvAtom);
  if (patom == nullptr) return;
  if (!(patom->iFlags & ZORATOM_BORROWED)) {
    zoratomValue &v = patom->value;
    zoratomValue &v2 = patom->value2;
    switch (patom->iKind) {
      case ZORATOM_TASKCHAINE:
      case ZORATOM_OCHAINE:
        ochaineDestroy(v.pchaine);
        break;
      case ZORATOM_BYTE:
      case ZORATOM_SHORT:
      case ZORATOM_INTEGER:
      case ZORATOM_CHAR:
      case ZORATOM_TYPE:
      case ZORATOM_TRISHORT:
      case ZORATOM_LONGLONG:
        break;
      case ZORATOM_DIM:
      case ZORATOM_OCHAR:
        if (v.pchar) ocharDestroy(v.pchar);
        break;
      case ZORATOM_DBLCHAR:
        if (v.pchar) ocharDestroy(v.pchar);
        if (v2.pchar) ocharDestroy(v2.pchar);
        break;
      case ZORATOM_OLIST:
        olistDestroy(v.plist);
        break;
      case ZORATOM_DBLLIST:
        olistDestroy(v.plist);
        olistDestroy(v2.plist);
        break;
      case ZORATOM_OBF:
        if (v.pobf) obfDestroy(v.pobf);
        break;
      case ZORATOM_ZORCOL:
        _atomDestroyOwned(ZORATOM_ZORCOL, v.pcol);
        break;
      case ZORATOM_MATCHCOL:
        _atomDestroyOwned(ZORATOM_MATCHCOL, v.pcol);
        _atomDestroyOwned(ZORATOM_MATCHCOL, v2.pcol);
        break;
      case ZORATOM_ZORNODE:
        _atomDestroyOwned(ZORATOM_ZORNODE, v.pnode);
        break;
      case ZORATOM_SYSIBM:
        if (v.psysibm) osysibmDestroy(v.psysibm);
        break;
      case ZORATOM_COREDATA:
        /* the owner frees the record's contents, then the record itself */
        _atomDestroyOwned(ZORATOM_COREDATA, v.pcoreData);
        break;
      case ZORATOM_CONVERTER:
        oconvertDestroy(v.pconvert);
        break;
      default:
        std::free(v.pValue);
        break;
    }
  }
  std::free(patom);
}

void zoratomSetPosFromAtom(zoratom *patom, const zoratom *pfrom)
{
  if (patom == nullptr || pfrom == nullptr) return;
  patom->sStartColumn = pfrom->sStartColumn;
  patom->sStartLine = pfrom->sStartLine;
  patom->sEndColumn = pfrom->sEndColumn;
  patom->sEndLine = pfrom->sEndLine;
}

void zoratomPrintServices(const zoratom *patom, const char *pcKeyword)
{
  if (patom == nullptr || pcKeyword == nullptr) return;
  _atomDump(patom, zoratomSink{pcKeyword, nullptr});
}

void zoratomPrint(const zoratom *patom, FILE *pfile)
{
  if (patom == nullptr || pfile == nullptr) return;
  _atomDump(patom, zoratomSink{nullptr, pfile});
}

void zoratomSink::text(const char *pcFormat, ...) const
{
  va_list va;
  va_start(va, pcFormat);
  omsgsVDumpTo(pfile, pcKeyword, pcFormat, va);
  va_end(va);
}

void zoratomSink::string(const ochar *pchar) const
{
  if (pchar == nullptr) return;
  if (pfile != nullptr) {
    FILE *pf = pfile;
    ocharDump2(0, &pf, pchar, 4);
  } else {
    ocharPrintServices(pchar, pcKeyword);
  }
}

void zoratomSetOwner(int iKind, const zoratomOwner *powner)
{
  if (iKind == ZORATOM_ZORCOL || iKind == ZORATOM_MATCHCOL || iKind == ZORATOM_ZORNODE || iKind == ZORATOM_COREDATA)
    gapownerAtom[iKind] = powner;
}
