/*
** ores.cpp
**   Typed resources: creation, puts and gets checked against the
**   expectation stack, the typed shorthands, and the named storage of
**   resources and sub-dictionaries in the dictionaries of a resource file.
**   Stored data is big-endian (the serial procedures of orestype.cpp and
**   oreal.cpp write it).  Messages go to the "$RES" trace only.
*/
#include "common/ores.h"

#include <cstdlib>
#include <cstring>
#include <set>

#include "common/obyte.h"
#include "common/ochar.h"
#include "common/olds.h"
#include "common/olist.h"
#include "common/omsgstab.h"
#include "common/oname.h"
#include "common/oreal.h"
#include "common/orestype.h"
#include "common/ostack.h"
#include "common/ostrdict.h"

#define OMSGS_TRACE_KEYWORD "$RES"
#define OMSGS_DEBUG_KEYWORD "$RESD"
#include "common/omsgsmod.h"

static uint32_t _resKind(int32_t iType)
{
  return static_cast<uint32_t>(iType) & 0xFFFF0000u;
}

static bool _resIsString(int32_t iType)
{
  return iType >= 0 && (iType & ORES_TYPE_STRING) != 0;
}

uint32_t _resDefaultFlags(uint32_t ulFlags)
{
  if ((ulFlags & ORES_FLAG_CCSID) == 0) ulFlags |= 850;
  if ((ulFlags & ORES_FLAG_FLOATMODE) == 0) ulFlags |= 0x10000;
  return ulFlags;
}

int oresSetTrace(int iOn)
{
  (void)iOn;
  return 0;
}

ores *oresCreate(int32_t iType, uint32_t ulSize, uint32_t ulFlags)
{
  if (gulInitialized != 0xACCEDEDu) oresInitModule();
  if (!_resIsValidType(iType)) {
    omsgsTrace(RES0003E, static_cast<unsigned>(iType));
    return nullptr;
  }
  ores *pres = static_cast<ores *>(std::calloc(1, sizeof(ores)));
  if (pres == nullptr) return nullptr;
  if (ulSize == 0) ulSize = 10;
  pres->pData = static_cast<unsigned char *>(std::calloc(ulSize, 1));
  pres->pstackExpect = ostackCreate(10);
  if (pres->pData == nullptr || pres->pstackExpect == nullptr) {
    std::free(pres->pData);
    if (pres->pstackExpect != nullptr) ostackDestroy(pres->pstackExpect);
    std::free(pres);
    return nullptr;
  }
  pres->resType = iType;
  pres->ulBufferSize = ulSize;
  pres->ulFlags = _resDefaultFlags(ulFlags);
  ostackPush(pres->pstackExpect, static_cast<uint32_t>(iType));
  ostackPush(pres->pstackExpect, 0);
  return pres;
}

void oresDestroy(ores *pres)
{
  if (pres == nullptr) return;
  std::free(pres->pData);
  ostackDestroy(pres->pstackExpect);
  std::free(pres);
}

/* Pops the next expectation; an empty stack gives type 0. */
static int32_t _resPopExpected(ores *pres, const char **ppcName)
{
  if (ostackGetCount(pres->pstackExpect) < 2) {
    *ppcName = nullptr;
    while (ostackGetCount(pres->pstackExpect) > 0) ostackPop(pres->pstackExpect);
    return 0;
  }
  *ppcName = reinterpret_cast<const char *>(ostackPop(pres->pstackExpect));
  return static_cast<int32_t>(static_cast<uint32_t>(ostackPop(pres->pstackExpect)));
}

/* Calls the procedure of a value: a user type's with its members pushed, a system kind's with the expected code. */
static void *_resTransfer(ores *pres, int32_t iType, int32_t iExpected, void *pvValue, int iPut, int *prc)
{
  if (iType < 0) {
    resTD *ptd = _resGetUserType(iType);
    if (ptd == nullptr) {
      *prc = ORES_RC_BADTYPE;
      return nullptr;
    }
    if (ptd->procSerial == nullptr) {
      *prc = ORES_RC_NOPROC;
      return nullptr;
    }
    _resPushMembers(pres->pstackExpect, ptd);
    return ptd->procSerial(pres, iType, pvValue, iPut, prc);
  }
  oresSerialProc proc = _resGetProc(iType);
  if (proc == nullptr) {
    *prc = ORES_RC_BADTYPE;
    return nullptr;
  }
  return proc(pres, iExpected, pvValue, iPut, prc);
}

int oresPut(ores *pres, int32_t iType, void *pvValue)
{
  if (pres == nullptr || !_resIsValidType(iType)) return ORES_RC_BADTYPE;
  const char *pcName;
  int32_t iExpected = _resPopExpected(pres, &pcName);
  bool boMatch = iExpected != 0 &&
                 (iType < 0 ? iExpected == iType : (iExpected >= 0 && _resKind(iExpected) == _resKind(iType)));
  if (!boMatch) {
    if (iExpected == 0) return ORES_RC_UNEXPECTED;
    omsgsTrace(RES0011E, static_cast<unsigned>(iExpected), pcName ? pcName : "", static_cast<unsigned>(iType));
    return ORES_RC_PUTTYPE;
  }
  int rc = 0;
  _resTransfer(pres, iType, iExpected, pvValue, 1, &rc);
  return rc;
}

void *oresGet(ores *pres, int32_t iType, void *pvValue, int *prc)
{
  int rcLocal = 0;
  if (prc == nullptr) prc = &rcLocal;
  if (pres == nullptr || !_resIsValidType(iType)) {
    *prc = ORES_RC_BADTYPE;
    return nullptr;
  }
  const char *pcName;
  int32_t iExpected = _resPopExpected(pres, &pcName);
  bool boMatch = iExpected != 0 &&
                 (iType < 0 ? iExpected == iType
                            : (iExpected >= 0 && (_resKind(iExpected) == _resKind(iType) ||
                                                  (_resIsString(iExpected) && _resIsString(iType)))));
  if (!boMatch) {
    if (iExpected == 0) {
      *prc = ORES_RC_UNEXPECTED;
      return nullptr;
    }
    omsgsTrace(RES0012E, static_cast<unsigned>(iExpected), pcName ? pcName : "", static_cast<unsigned>(iType));
    *prc = ORES_RC_GETTYPE;
    return nullptr;
  }
  return _resTransfer(pres, iType, iExpected, pvValue, 0, prc);
}

/* ------------------------------------------------------------ shorthands */

static int _resGetInto(ores *pres, int32_t iType, void *pv)
{
  if (pv == nullptr) return ORES_RC_NOARG;
  int rc = 0;
  oresGet(pres, iType, pv, &rc);
  return rc;
}

int oresPutLong(ores *pres, int32_t lValue) { return oresPut(pres, ORES_TYPE_I32, &lValue); }
int oresGetLong(ores *pres, int32_t *plValue) { return _resGetInto(pres, ORES_TYPE_I32, plValue); }
int oresPutShort(ores *pres, int16_t sValue) { return oresPut(pres, ORES_TYPE_I16, &sValue); }
int oresGetShort(ores *pres, int16_t *psValue) { return _resGetInto(pres, ORES_TYPE_I16, psValue); }
int oresPutByte(ores *pres, int8_t cValue) { return oresPut(pres, ORES_TYPE_I8, &cValue); }
int oresGetByte(ores *pres, int8_t *pcValue) { return _resGetInto(pres, ORES_TYPE_I8, pcValue); }
int oresPutFloat(ores *pres, float fValue) { return oresPut(pres, ORES_TYPE_FLOAT + 5, &fValue); }
int oresGetFloat(ores *pres, float *pfValue) { return _resGetInto(pres, ORES_TYPE_FLOAT + 5, pfValue); }
int oresPutDouble(ores *pres, double dValue) { return oresPut(pres, ORES_TYPE_FLOAT + 9, &dValue); }
int oresGetDouble(ores *pres, double *pdValue) { return _resGetInto(pres, ORES_TYPE_FLOAT + 9, pdValue); }
int oresPutChar(ores *pres, ochar *pchar) { return oresPut(pres, ORES_TYPE_STRING, pchar); }
int oresGetChar(ores *pres, ochar *pchar) { return _resGetInto(pres, ORES_TYPE_STRING, pchar); }

int oresPutoChar(ores *pres, ochar *pchar)
{
  if (pchar == nullptr) return ORES_RC_NOVALUE;
  return oresPut(pres, ORES_TYPE_STRING + pchar->usCCSID, pchar);
}

int oresGetoChar(ores *pres, ochar *pchar)
{
  if (pchar == nullptr) return ORES_RC_NOARG;
  return _resGetInto(pres, ORES_TYPE_STRING + pchar->usCCSID, pchar);
}

/* A string object over caller bytes, without copying. */
static ochar _resView(const void *pv, uint32_t ulLength, uint16_t usCCSID)
{
  ochar view{};
  view.pcData = const_cast<char *>(pv != nullptr ? static_cast<const char *>(pv) : "");
  view.ilBU = view.ilBT = view.ilL = static_cast<int32_t>(ulLength);
  view.usCCSID = usCCSID;
  view.usFlags = static_cast<uint16_t>(ocharDetermineBCS(usCCSID) | (usCCSID == 850 ? OCHAR_850 : 0));
  return view;
}

int oresPutCharFromC(ores *pres, const char *pcText)
{
  if (pcText == nullptr) return ORES_RC_NOVALUE;
  ochar view = _resView(pcText, static_cast<uint32_t>(std::strlen(pcText)), 850);
  return oresPut(pres, ORES_TYPE_STRING, &view);
}

char *oresGetCharToC(ores *pres, char *pcBuffer, uint32_t ulSize)
{
  ochar *pchar = ocharCreate(16, 850);
  if (pchar == nullptr) return nullptr;
  int rc = 0;
  oresGet(pres, ORES_TYPE_STRING, pchar, &rc);
  if (rc != 0) {
    ocharDestroy(pchar);
    return nullptr;
  }
  uint32_t ulNeed = static_cast<uint32_t>(pchar->ilBU) + 1;
  char *pc = pcBuffer;
  if (pc == nullptr || ulSize < ulNeed) {
    /* A caller's buffer that is too small is grown: it must come from malloc. */
    char *pcNew = static_cast<char *>(std::realloc(pc, ulNeed > ulSize ? ulNeed : ulSize));
    if (pcNew == nullptr) {
      ocharDestroy(pchar);
      return nullptr;
    }
    pc = pcNew;
  }
  if (pchar->ilBU > 0) std::memcpy(pc, pchar->pcData, static_cast<size_t>(pchar->ilBU));
  pc[pchar->ilBU] = '\0';
  ocharDestroy(pchar);
  return pc;
}

static int _resPutFixed(ores *pres, const void *pvBuffer, uint32_t ulBufferSize, uint32_t ulN, uint16_t usCCSID)
{
  if (pvBuffer == nullptr) return ORES_RC_NOVALUE;
  if (ulN > ulBufferSize || ulN == 0 || ulN > 255) return ORC_INVALID;
  ochar view = _resView(pvBuffer, ulN, usCCSID);
  return oresPut(pres, ORES_TYPE_STRING + static_cast<int32_t>((ulN & 0xFF) << 16), &view);
}

static int _resGetFixed(ores *pres, void *pvBuffer, uint32_t ulBufferSize, uint32_t ulN, uint16_t usCCSID)
{
  if (pvBuffer == nullptr) return ORES_RC_NOARG;
  ochar *pchar = ocharCreate(ulN > 0 ? static_cast<int32_t>(ulN) : 1, usCCSID);
  if (pchar == nullptr) return ORES_RC_NOMEM;
  int rc = 0;
  oresGet(pres, ORES_TYPE_STRING + static_cast<int32_t>((ulN & 0xFF) << 16), pchar, &rc);
  if (rc == 0) {
    uint32_t ulWant = ulN < ulBufferSize ? ulN : ulBufferSize;
    uint32_t ulCopy = static_cast<uint32_t>(pchar->ilBU) < ulWant ? static_cast<uint32_t>(pchar->ilBU) : ulWant;
    std::memcpy(pvBuffer, _charText(pchar), ulCopy);
    std::memset(static_cast<char *>(pvBuffer) + ulCopy, usCCSID == 0xFFFF ? 0 : ' ', ulWant - ulCopy);
  }
  ocharDestroy(pchar);
  return rc;
}

int oresPutCharFixed(ores *pres, const void *pvBuffer, uint32_t ulBufferSize, uint32_t ulN)
{
  return _resPutFixed(pres, pvBuffer, ulBufferSize, ulN, 850);
}

int oresGetCharFixed(ores *pres, void *pvBuffer, uint32_t ulBufferSize, uint32_t ulN)
{
  return _resGetFixed(pres, pvBuffer, ulBufferSize, ulN, 850);
}

int oresPutCharFixedFBD(ores *pres, const void *pvBuffer, uint32_t ulBufferSize, uint32_t ulN)
{
  return _resPutFixed(pres, pvBuffer, ulBufferSize, ulN, 0xFFFF);
}

int oresGetCharFixedFBD(ores *pres, void *pvBuffer, uint32_t ulBufferSize, uint32_t ulN)
{
  return _resGetFixed(pres, pvBuffer, ulBufferSize, ulN, 0xFFFF);
}

int oresPutArray(ores *pres, uint32_t ulCount, uint32_t ulPerRound)
{
  int32_t iType = ulPerRound == 1 ? ORES_TYPE_REPNEXT
                                  : ORES_TYPE_REPGROUP + static_cast<int32_t>((ulPerRound & 0xFF) << 8);
  return oresPut(pres, iType, &ulCount);
}

int oresGetArray(ores *pres, uint32_t *pulCount, uint32_t ulPerRound)
{
  if (pulCount == nullptr) return ORES_RC_NOARG;
  int32_t iType = ulPerRound == 1
      ? static_cast<int32_t>(ORES_TYPE_REPNEXT | (*pulCount & 0xFFFF))
      : static_cast<int32_t>(ORES_TYPE_REPGROUP + ((ulPerRound & 0xFF) << 8) + (*pulCount & 0xFF));
  return _resGetInto(pres, iType, pulCount);
}

int oresPutArrayVar(ores *pres, oresArrayVar *pvar)
{
  if (pvar == nullptr) return ORES_RC_NOVALUE;
  int32_t iType = pvar->ulPerRound == 1 ? ORES_TYPE_REPNEXT
                                        : ORES_TYPE_REPVAR + static_cast<int32_t>((pvar->ulPerRound & 0xFF) << 8);
  return oresPut(pres, iType, &pvar->ulCount);
}

/* -------------------------------------------------------- named storage */

static oresdictEntry *_resFindEntry(oresdict *pdict, const char *pcName)
{
  if (pdict == nullptr || pcName == nullptr || *pcName == '\0') return nullptr;
  return static_cast<oresdictEntry *>(ostrdictLoad(pdict->pstrdictNames, pcName));
}

/* Checks a name for a dictionary: 0, or 0x10002 when empty or over 255 bytes. */
static int _resCheckName(const char *pcName, uint32_t *pulLength)
{
  if (pcName == nullptr) return ORES_RC_NOARG;
  size_t ul = std::strlen(pcName);
  if (ul == 0 || ul > 255) return ORC_INVALID;
  *pulLength = static_cast<uint32_t>(ul);
  return 0;
}

/* Writes the rba a name points to into its entry in the file. */
static int _resWriteEntryRba(oresdict *pdict, oresdictEntry *pentry)
{
  unsigned char auc[4];
  obytePutBE32(auc, pentry->rba);
  return _rscsPagedRc(oldsWrite(pdict->prscs->plds, pentry->rbaEntry, 4, auc));
}

/* True when another name of the dictionary points to the same block. */
static bool _resBlockShared(oresdict *pdict, const oresdictEntry *pentry)
{
  if (pentry->rba == 0) return false;
  odictcursor cursor;
  bool boShared = false;
  odictCursorInit(&cursor, pdict->pstrdictNames->pdict);
  for (; cursor.pentry != nullptr && !boShared; odictCursorNext(&cursor)) {
    const oresdictEntry *p = static_cast<const oresdictEntry *>(odictCursorGetValue(&cursor));
    boShared = p != nullptr && p != pentry && p->rba == pentry->rba;
  }
  odictCursorDestroy(&cursor);
  return boShared;
}

/* Kind of the block a name points to (0 when it has none or it cannot be read). */
static uint32_t _resEntryKind(oresdict *pdict, const oresdictEntry *pentry)
{
  orscsBlockHeader hdr;
  if (pentry == nullptr || pentry->rba == 0 || _rscsReadBlockHeader(pdict->prscs, pentry->rba, &hdr) != 0) return 0;
  return hdr.resType & 0x9FFF0000u;
}

int oresStoreNamed(oresdict *pdict, const char *pcName, ores *pres)
{
  uint32_t ulLength = 0;
  if (pdict == nullptr) return ORES_RC_NOARG;
  int rc = _resCheckName(pcName, &ulLength);
  if (rc != 0) return rc;
  if (pres != nullptr && ostackGetCount(pres->pstackExpect) != 0) {
    omsgsTrace(RES0002E, pcName);
    return ORES_RC_INCOMPLETE;
  }
  orscs *prscs = pdict->prscs;
  oresdictEntry *pentry = _resFindEntry(pdict, pcName);
  /* Dictionaries and arrays go through their own operations. */
  uint32_t ulKind = _resEntryKind(pdict, pentry);
  bool boOwnBlock = ulKind != ORSCS_DICT_TYPE && ulKind != ORSCS_ARRAY_TYPE;
  if (pres == nullptr) {
    if (pentry == nullptr || !boOwnBlock) return ORES_RC_NOARG;
    if (pentry->rba != 0) {
      if (!_resBlockShared(pdict, pentry)) rc = _rscsRemoveBlk(prscs, pentry->rba);
      pentry->rba = 0;
      int rcEntry = _resWriteEntryRba(pdict, pentry);
      if (rc == 0) rc = rcEntry;
    }
    pdict->iModified = 1;
    return rc;
  }
  if (pres->resType < 0) {
    rc = _rscsStoreUserType(prscs, pres->resType, gpdictType);
    if (rc != 0) return rc;
  }
  bool boWrite = pres->rba == 0 || pres->pdict != pdict;
  if (boWrite) {
    /* A block of another dictionary (or file) stays with the names that hold it. */
    if (pres->pdict != pdict) pres->rba = 0;
    if (pentry != nullptr && pentry->rba != 0 && boOwnBlock && !_resBlockShared(pdict, pentry))
      pres->rba = pentry->rba;
    pres->pdict = pdict;
    pres->prscs = prscs;
    uint32_t rbaBefore = pres->rba;
    rc = _resStore(pres);
    if (rc != 0) {
      omsgsTrace("ores: storing |%s| failed: 0x%x\n", pcName, static_cast<unsigned>(rc));
      bool boReused = pentry != nullptr && rbaBefore != 0 && rbaBefore == pentry->rba;
      if (pres->rba != 0 && (pres->rba != rbaBefore || boReused)) _rscsRemoveBlk(prscs, pres->rba);
      if (boReused) {
        /* The name's old data is gone (overwritten or released): it keeps no block. */
        pentry->rba = 0;
        _resWriteEntryRba(pdict, pentry);
        pdict->iModified = 1;
      }
      pres->rba = 0;
      pres->pdict = nullptr;
      return rc;
    }
  }
  if (pentry == nullptr) {
    rc = _rscsAddDictKey(pdict, pcName, ulLength, pres->rba, &pentry);
    if (rc != 0 && boWrite) {
      _rscsRemoveBlk(prscs, pres->rba);
      pres->rba = 0;
      pres->pdict = nullptr;
    }
  } else if (pentry->rba != pres->rba) {
    pentry->rba = pres->rba;
    rc = _resWriteEntryRba(pdict, pentry);
  }
  pdict->iModified = 1;
  return rc;
}

ores *oresLoadNamed(oresdict *pdict, const char *pcName)
{
  oresdictEntry *pentry = _resFindEntry(pdict, pcName);
  if (pentry == nullptr || pentry->rba == 0) {
    omsgsTrace(RES0001E, pcName ? pcName : "");
    return nullptr;
  }
  ores *pres = _resLoad(pdict->prscs, pentry->rba);
  if (pres != nullptr) pres->pdict = pdict;
  return pres;
}

bool oresIsExist(oresdict *pdict, const char *pcName)
{
  oresdictEntry *pentry = _resFindEntry(pdict, pcName);
  return pentry != nullptr && pentry->rba != 0;
}

oresdict *oresCreateDict(oresdict *pdict, const char *pcName, uint32_t ulFlags)
{
  uint32_t ulLength = 0;
  if (pdict == nullptr || _resCheckName(pcName, &ulLength) != 0) return nullptr;
  ulFlags = _resDefaultFlags(ulFlags);
  orscs *prscs = pdict->prscs;
  oresdictEntry *pentry = _resFindEntry(pdict, pcName);
  if (pentry != nullptr && pentry->rba != 0) {
    orscsBlockHeader hdr;
    if (_rscsReadBlockHeader(prscs, pentry->rba, &hdr) != 0 || (hdr.resType & 0xFFFF0000u) != ORSCS_DICT_TYPE)
      return nullptr;
    oresRemoveDict(pdict, pcName);
  }
  oresdict *pdictNew = _rscsCreateDict(prscs, pdict, 0, ulFlags);
  if (pdictNew == nullptr) return nullptr;
  int rc;
  if (pentry == nullptr) {
    rc = _rscsAddDictKey(pdict, pcName, ulLength, pdictNew->rba, &pentry);
  } else {
    pentry->rba = pdictNew->rba;
    rc = _resWriteEntryRba(pdict, pentry);
  }
  pdict->iModified = 1;
  if (rc != 0) {
    _rscsRemoveDict(pdictNew);
    _rscsFreeDict(pdictNew);
    if (pentry != nullptr) pentry->rba = 0;
    return nullptr;
  }
  return pdictNew;
}

oresdict *oresLoadDict(oresdict *pdict, const char *pcName)
{
  oresdictEntry *pentry = _resFindEntry(pdict, pcName);
  if (pentry == nullptr || pentry->rba == 0) {
    omsgsTrace(RES0005E, pcName ? pcName : "");
    return nullptr;
  }
  return _rscsLoadDict(pdict->prscs, pentry->rba);
}

/* Releases everything below a dictionary and the dictionary itself. */
static int _resRemoveDictTree(oresdict *pdict, std::set<uint32_t> &released)
{
  orscs *prscs = pdict->prscs;
  int rcFirst = 0;
  odictcursor cursor;
  odictCursorInit(&cursor, pdict->pstrdictNames->pdict);
  for (; cursor.pentry != nullptr; odictCursorNext(&cursor)) {
    oresdictEntry *pentry = static_cast<oresdictEntry *>(odictCursorGetValue(&cursor));
    if (pentry == nullptr || pentry->rba == 0 || released.count(pentry->rba)) continue;
    orscsBlockHeader hdr;
    int rc = _rscsReadBlockHeader(prscs, pentry->rba, &hdr);
    if (rc == 0 && (hdr.resType & 0x9FFF0000u) == ORSCS_DICT_TYPE) {
      oresdict *psub = _rscsLoadDict(prscs, pentry->rba);
      if (psub == nullptr) rc = ORES_RC_NOARG;
      else rc = _resRemoveDictTree(psub, released);
    } else if (rc == 0 && hdr.resType != ORSCS_ARRAY_TYPE) {
      released.insert(pentry->rba);
      rc = _rscsRemoveBlk(prscs, pentry->rba);
    }
    if (rc != 0 && rcFirst == 0) rcFirst = rc;
  }
  odictCursorDestroy(&cursor);
  released.insert(pdict->rba);
  int rc = _rscsRemoveDict(pdict);
  if (rc != 0 && rcFirst == 0) rcFirst = rc;
  _rscsFreeDict(pdict);
  return rcFirst;
}

int oresRemoveDict(oresdict *pdict, const char *pcName)
{
  if (pdict == nullptr || pcName == nullptr) return ORES_RC_NOARG;
  oresdictEntry *pentry = _resFindEntry(pdict, pcName);
  if (pentry == nullptr) return ORES_RC_NONAME;
  if (pentry->rba == 0) return 0;
  pdict->iModified = 1;
  orscsBlockHeader hdr;
  if (_rscsReadBlockHeader(pdict->prscs, pentry->rba, &hdr) != 0 || (hdr.resType & 0x9FFF0000u) != ORSCS_DICT_TYPE)
    return ORES_RC_NOARG;
  oresdict *psub = _rscsLoadDict(pdict->prscs, pentry->rba);
  if (psub == nullptr) return ORES_RC_NOARG;
  if (psub->iRefCount > 1) {
    psub->iRefCount--;
    omsgsTrace(RES0006E, pcName);
    return ORES_RC_SHARED;
  }
  std::set<uint32_t> released;
  int rc = _resRemoveDictTree(psub, released);
  pentry->rba = 0;
  int rcEntry = _resWriteEntryRba(pdict, pentry);
  return rc != 0 ? rc : rcEntry;
}

int oresStoreDict(oresdict *pdict)
{
  return _rscsStoreDict(pdict);
}

void oresdictDestroy(oresdict *pdict)
{
  if (pdict == nullptr) return;
  if (--pdict->iRefCount < 0) {
    /* Its names already stand in the file: adds and re-pointings are written at once. */
    _rscsRemoveDictRef(pdict);
    _rscsFreeDict(pdict);
  }
}

/* --------------------------------------------------------------- cursor */

void oresDictCursorInit(oresDictCursor *pcursor, oresdict *pdict)
{
  pcursor->pdict = pdict;
  if (pdict != nullptr) odictCursorInit(&pcursor->cursor, pdict->pstrdictNames->pdict);
  else std::memset(&pcursor->cursor, 0, sizeof pcursor->cursor);
}

void oresDictCursorNext(oresDictCursor *pcursor)
{
  if (pcursor->pdict != nullptr) odictCursorNext(&pcursor->cursor);
}

const char *oresDictCursorGetName(oresDictCursor *pcursor)
{
  if (pcursor->pdict == nullptr || pcursor->cursor.pentry == nullptr) return nullptr;
  return reinterpret_cast<const char *>(odictCursorGetKey(&pcursor->cursor));
}

static oresdictEntry *_resCursorEntry(oresDictCursor *pcursor)
{
  if (pcursor->pdict == nullptr || pcursor->cursor.pentry == nullptr) return nullptr;
  return static_cast<oresdictEntry *>(odictCursorGetValue(&pcursor->cursor));
}

uint32_t oresDictCursorGetType(oresDictCursor *pcursor)
{
  oresdictEntry *pentry = _resCursorEntry(pcursor);
  orscsBlockHeader hdr;
  if (pentry == nullptr || pentry->rba == 0 || _rscsReadBlockHeader(pcursor->pdict->prscs, pentry->rba, &hdr) != 0)
    return 0;
  return hdr.resType;
}

ores *oresDictCursorLoad(oresDictCursor *pcursor)
{
  const char *pcName = oresDictCursorGetName(pcursor);
  return pcName != nullptr ? oresLoadNamed(pcursor->pdict, pcName) : nullptr;
}

oresdict *oresDictCursorLoadDict(oresDictCursor *pcursor)
{
  const char *pcName = oresDictCursorGetName(pcursor);
  return pcName != nullptr ? oresLoadDict(pcursor->pdict, pcName) : nullptr;
}

orscsArray *oresDictCursorLoadArray(oresDictCursor *pcursor)
{
  (void)pcursor;
  return nullptr;
}

void oresDictCursorDestroy(oresDictCursor *pcursor)
{
  if (pcursor->pdict != nullptr) odictCursorDestroy(&pcursor->cursor);
  pcursor->pdict = nullptr;
}

int oresStoreAt(orscsArray *parray, uint32_t ulIndex, ores *pres)
{
  if (parray == nullptr || pres == nullptr || parray->pParent == nullptr) return ORES_RC_NOARG;
  if (ulIndex >= parray->ulSlots) return ORC_INVALID;
  if (ostackGetCount(pres->pstackExpect) != 0) return ORES_RC_INCOMPLETE;
  if (pres->rba == 0) {
    pres->pdict = parray->pParent;
    pres->prscs = parray->pParent->prscs;
    int rc = _resStore(pres);
    if (rc != 0) return rc;
  }
  parray->pulSlots[ulIndex] = pres->rba;
  return 0;
}
