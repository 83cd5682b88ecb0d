/*
** orestype.cpp
**   The type registry of the typed resources (system kinds -> serial
**   procedure, user codes -> descriptor), the member-name table, type
**   descriptors, the serial procedures for integers, strings, repetitions
**   and descriptors, and the formatted dump of a resource.  Created once per
**   process by oresInitModule and kept until exit.  Messages go to the
**   "$RES" trace only.
*/
#include "common/orestype.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "common/obyte.h"
#include "common/ochar.h"
#include "common/odict.h"
#include "common/oname.h"
#include "common/onameres.h"
#include "common/oreal.h"
#include "common/ores.h"
#include "common/omsgstab.h"
#include "common/ostack.h"

#define OMSGS_TRACE_KEYWORD "$RES"
#define OMSGS_DEBUG_KEYWORD "$RESD"
#include "common/omsgsmod.h"

#define ORES_MARK 0xACCEDEDu

odict *gpdictType = nullptr;
oname *gpnameTableResDef = nullptr;
resTD *gpresTDTD = nullptr;
uint32_t gulInitialized = 0;

const oresTData oresTDataresTD[] = {
  {0x150000, "resType"},
  {0x40000000, "typeName"},
  {0x400200, "items"},
  {0x150000, "itemType"},
  {0x40000000, "itemName"},
  {0, nullptr},
};

static uintptr_t _resKey(int32_t iType)
{
  return static_cast<uintptr_t>(static_cast<uint32_t>(iType));
}

static uint32_t _resKind(int32_t iType)
{
  return static_cast<uint32_t>(iType) & 0xFFFF0000u;
}

static bool _resIsString(int32_t iType)
{
  return iType >= 0 && (iType & ORES_TYPE_STRING) != 0;
}

/* ------------------------------------------------------------- registry */

bool _resIsValidType(int32_t iType)
{
  if (_resIsString(iType)) return true;
  if (gpdictType == nullptr) return false;
  if (iType < 0) return odictLoad(gpdictType, _resKey(iType)) != nullptr;
  return odictLoad(gpdictType, _resKind(iType)) != nullptr;
}

bool _resIsValidUserType(int32_t iType)
{
  return iType < 0 && gpdictType != nullptr && odictLoad(gpdictType, _resKey(iType)) != nullptr;
}

bool oresIsValidUserType(int32_t iType)
{
  return _resIsValidUserType(iType);
}

resTD *_resGetUserType(int32_t iType)
{
  if (iType >= 0 || gpdictType == nullptr) return nullptr;
  return static_cast<resTD *>(odictLoad(gpdictType, _resKey(iType)));
}

oresSerialProc _resGetProc(int32_t iType)
{
  if (_resIsString(iType)) return _resCharSerialProc;
  if (iType < 0 || gpdictType == nullptr) return nullptr;
  return reinterpret_cast<oresSerialProc>(odictLoad(gpdictType, _resKind(iType)));
}

static const char *_resIntern(const char *pcName)
{
  if (pcName == nullptr || *pcName == '\0') return nullptr;
  return onameInternFixed(gpnameTableResDef, pcName, std::strlen(pcName));
}

resTD *oresTypeCreate(void)
{
  resTD *ptd = static_cast<resTD *>(std::calloc(1, sizeof(resTD)));
  if (ptd == nullptr) return nullptr;
  ptd->pstackMembers = ostackCreate(10);
  if (ptd->pstackMembers == nullptr) {
    std::free(ptd);
    return nullptr;
  }
  return ptd;
}

void oresTypeDestroy(resTD *ptd)
{
  if (ptd == nullptr) return;
  ostackDestroy(ptd->pstackMembers);
  std::free(ptd);
}

int oresTypeAdd(resTD *ptd, int32_t iType, const char *pcName)
{
  if (ptd == nullptr) return ORES_RC_NOARG;
  if (!_resIsValidType(iType)) return ORES_RC_BADTYPE;
  ostackPush(ptd->pstackMembers, _resKey(iType));
  ostackPush(ptd->pstackMembers, reinterpret_cast<uintptr_t>(_resIntern(pcName)));
  return 0;
}

resTD *oresTypeClone(const resTD *ptd)
{
  if (ptd == nullptr) return nullptr;
  resTD *pclone = oresTypeCreate();
  if (pclone == nullptr) return nullptr;
  ostackPushStack(pclone->pstackMembers, ptd->pstackMembers);
  pclone->resType = ptd->resType;
  pclone->pcName = ptd->pcName;
  pclone->procSerial = ptd->procSerial;
  return pclone;
}

void _resPushMembers(ostack *pstack, const resTD *ptd)
{
  ostackPushStack(pstack, ptd->pstackMembers);
}

static bool _resSameMembers(const resTD *pa, const resTD *pb)
{
  int n = ostackGetCount(pa->pstackMembers);
  for (int i = 0; i < n; i++) {
    if (ostackGetAt(pa->pstackMembers, i) != ostackGetAt(pb->pstackMembers, i)) return false;
  }
  return true;
}

/* Registers ptd under iType; the registry owns ptd afterwards, or frees it. */
static int _resTypeRegister(resTD *ptd, int32_t iType, const char *pcName, oresSerialProc procSerial)
{
  ptd->procSerial = procSerial;
  const char *pcInterned = _resIntern(pcName);
  resTD *pold = _resGetUserType(iType);
  if (pold == nullptr) {
    ptd->resType = iType;
    ptd->pcName = pcInterned;
    if (procSerial != nullptr) {
      int n = ostackGetCount(ptd->pstackMembers);
      for (int i = 0; i + 1 < n; i += 2) {
        int32_t iMember = static_cast<int32_t>(static_cast<uint32_t>(ostackGetAt(ptd->pstackMembers, i)));
        if (!_resIsValidType(iMember) && iMember != iType) {
          omsgsTrace(RES0009E, static_cast<unsigned>(iType), pcName, static_cast<unsigned>(iMember));
          oresTypeDestroy(ptd);
          return ORES_RC_UNDECLARED;
        }
      }
    }
    int rc = odictStore(gpdictType, _resKey(iType), ptd);
    if (rc != 0) {
      oresTypeDestroy(ptd);
      return ORES_RC_NOMEM;
    }
    return 0;
  }
  if (ostackGetCount(pold->pstackMembers) != ostackGetCount(ptd->pstackMembers)) {
    oresTypeDestroy(ptd);
    return ORES_RC_REDEFINED;
  }
  if (!_resSameMembers(pold, ptd)) {
    omsgsTrace(RES0008E, static_cast<unsigned>(iType), pcName);
    oresTypeDestroy(ptd);
    return ORES_RC_REDEFINED;
  }
  if (pold->procSerial == nullptr) pold->procSerial = procSerial;
  oresTypeDestroy(ptd);
  return 0;
}

int oresTypeRegister(resTD *ptd, int32_t iType, const char *pcName, oresSerialProc procSerial)
{
  if (ptd == nullptr) return ORES_RC_NOARG;
  if (gulInitialized != ORES_MARK || pcName == nullptr) {
    oresTypeDestroy(ptd);
    return ORES_RC_NOARG;
  }
  if (iType >= 0) {
    omsgsTrace(RES0004E, static_cast<unsigned>(iType), pcName);
    oresTypeDestroy(ptd);
    return ORES_RC_SYSTYPE;
  }
  return _resTypeRegister(ptd, iType, pcName, procSerial);
}

int oresTypeRegisterStatic(const oresTData *ptable, int32_t iType, const char *pcName,
                           oresSerialProc procSerial)
{
  if (gulInitialized != ORES_MARK) {
    int rc = oresInitModule();
    if (rc != 0 && gulInitialized != ORES_MARK) return rc;
  }
  if (ptable == nullptr) return ORES_RC_NOARG;
  int n = 0;
  while (ptable[n].iType != 0) n++;
  resTD *ptd = oresTypeCreate();
  if (ptd == nullptr) return ORES_RC_NOMEM;
  for (int i = n - 1; i >= 0; i--) {
    /* A member of the type itself is allowed (recursive layouts). */
    if (ptable[i].iType != iType || iType >= 0) {
      int rc = oresTypeAdd(ptd, ptable[i].iType, ptable[i].pcName);
      if (rc != 0) {
        oresTypeDestroy(ptd);
        return rc;
      }
    } else {
      ostackPush(ptd->pstackMembers, _resKey(iType));
      ostackPush(ptd->pstackMembers, reinterpret_cast<uintptr_t>(_resIntern(ptable[i].pcName)));
    }
  }
  if (pcName == nullptr) {
    oresTypeDestroy(ptd);
    return ORES_RC_NOARG;
  }
  if (iType >= 0) {
    omsgsTrace(RES0004E, static_cast<unsigned>(iType), pcName);
    oresTypeDestroy(ptd);
    return ORES_RC_SYSTYPE;
  }
  return _resTypeRegister(ptd, iType, pcName, procSerial);
}

int oresInitModule(void)
{
  if (gulInitialized != ORES_MARK) {
    gpdictType = odictCreate(30, 80);
    if (gpdictType == nullptr) return ORES_RC_INIT;
    static const struct {
      uint32_t ulKind;
      oresSerialProc proc;
    } asystem[] = {
      {0x100000, _resIntegerSerialProc}, {0x110000, _resIntegerSerialProc},
      {0x120000, _resIntegerSerialProc}, {0x130000, _resIntegerSerialProc},
      {0x140000, _resIntegerSerialProc}, {0x150000, _resIntegerSerialProc},
      {0x40000000, _resCharSerialProc},  {0x44000000, _resCharSerialProc},
      {0x48000000, _resCharSerialProc},  {0x400000, _resRepeatSerialProc},
      {0x410000, _resRepeatSerialProc},  {0x420000, _resRepeatSerialProc},
      {0x430000, _resRepeatSerialProc},  {0x180000, _resFloatSerialProc},
      {0x10000, _resTDSerialProc},
    };
    for (const auto &entry : asystem) {
      if (odictStore(gpdictType, entry.ulKind, reinterpret_cast<void *>(entry.proc)) != 0) {
        odictDestroy(gpdictType);
        gpdictType = nullptr;
        return ORES_RC_INIT;
      }
    }
    gpnameTableResDef = onameCreateExtended(30, 80, ONAME_PERSISTENT);
    if (gpnameTableResDef == nullptr) {
      odictDestroy(gpdictType);
      gpdictType = nullptr;
      return ORES_RC_INIT;
    }
    gpresTDTD = oresTypeCreate();
    if (gpresTDTD == nullptr) {
      onameDestroy(gpnameTableResDef);
      odictDestroy(gpdictType);
      gpnameTableResDef = nullptr;
      gpdictType = nullptr;
      return ORES_RC_INIT;
    }
    int n = 0;
    while (oresTDataresTD[n].iType != 0) n++;
    for (int i = n - 1; i >= 0; i--) oresTypeAdd(gpresTDTD, oresTDataresTD[i].iType, oresTDataresTD[i].pcName);
    gpresTDTD->pcName = _resIntern("resTD");
    gpresTDTD->procSerial = _resTDSerialProc;
    gulInitialized = ORES_MARK;
  }
  int rc = onameInitModule();
  if (rc != 0) omsgsTrace(RES0010E, static_cast<unsigned>(rc));
  return rc;
}

/* ---------------------------------------------------- serial procedures */

int _resCheckResize(ores *pres, uint32_t ulN)
{
  uint64_t ullNeed = static_cast<uint64_t>(pres->ulDataLength) + ulN;
  if (ullNeed <= pres->ulBufferSize) return 0;
  uint64_t ullNew = static_cast<uint64_t>(pres->ulDataLength) + (ulN > 100 ? ulN : 100);
  if (ullNew > 0xFFFFFFFFull) return ORES_RC_NOMEM;
  unsigned char *p = static_cast<unsigned char *>(std::realloc(pres->pData, static_cast<size_t>(ullNew)));
  if (p == nullptr) return ORES_RC_NOMEM;
  std::memset(p + pres->ulBufferSize, 0, static_cast<size_t>(ullNew - pres->ulBufferSize));
  pres->pData = p;
  pres->ulBufferSize = static_cast<uint32_t>(ullNew);
  return 0;
}

static void *_resFail(int *prc, int rc)
{
  *prc = rc;
  return nullptr;
}

/* Bytes left to read. */
static uint32_t _resLeft(const ores *pres)
{
  return pres->ulReadPos < pres->ulDataLength ? pres->ulDataLength - pres->ulReadPos : 0;
}

void *_resIntegerSerialProc(ores *pres, int32_t iType, void *pvValue, int iPut, int *prc)
{
  uint32_t ulWidth;
  switch (_resKind(iType)) {
    case 0x100000: case 0x110000: ulWidth = 1; break;
    case 0x120000: case 0x130000: ulWidth = 2; break;
    case 0x140000: case 0x150000: ulWidth = 4; break;
    default: return _resFail(prc, ORES_RC_BADTYPE);
  }
  if (iPut) {
    if (pvValue == nullptr) return _resFail(prc, ORES_RC_NOVALUE);
    int rc = _resCheckResize(pres, ulWidth);
    if (rc != 0) return _resFail(prc, rc);
    unsigned char *p = pres->pData + pres->ulDataLength;
    if (ulWidth == 1) *p = *static_cast<unsigned char *>(pvValue);
    else if (ulWidth == 2) {
      uint16_t us;
      std::memcpy(&us, pvValue, 2);
      obytePutBE16(p, us);
    } else {
      uint32_t ul;
      std::memcpy(&ul, pvValue, 4);
      obytePutBE32(p, ul);
    }
    pres->ulDataLength += ulWidth;
    return pvValue;
  }
  if (_resLeft(pres) < ulWidth) return _resFail(prc, ORES_RC_EOD);
  if (pvValue == nullptr) {
    pvValue = std::malloc(ulWidth);
    if (pvValue == nullptr) return _resFail(prc, ORES_RC_NOMEM);
  }
  const unsigned char *p = pres->pData + pres->ulReadPos;
  if (ulWidth == 1) *static_cast<unsigned char *>(pvValue) = *p;
  else if (ulWidth == 2) {
    uint16_t us = obyteGetBE16(p);
    std::memcpy(pvValue, &us, 2);
  } else {
    uint32_t ul = obyteGetBE32(p);
    std::memcpy(pvValue, &ul, 4);
  }
  pres->ulReadPos += ulWidth;
  return pvValue;
}

/* CCSIDs that stand for no code page: their bytes are copied unchanged. */
static bool _resNoCodePage(uint16_t usCCSID)
{
  return usCCSID == 0 || usCCSID == 0xFFFF || usCCSID == 0xFFFE;
}

/* Class flags of a CCSID as ocharInit sets them. */
static uint16_t _resClassFlags(uint16_t usCCSID)
{
  uint16_t us = static_cast<uint16_t>(ocharDetermineBCS(usCCSID) | ocharDetermineClass(usCCSID));
  if (usCCSID == 850) us |= OCHAR_850;
  return us;
}

void *_resCharSerialProc(ores *pres, int32_t iType, void *pvValue, int iPut, int *prc)
{
  uint16_t usStored = static_cast<uint16_t>(iType & 0xFFFF);
  if (usStored == 0) usStored = static_cast<uint16_t>(pres->ulFlags & ORES_FLAG_CCSID);
  uint32_t ulFixed = (static_cast<uint32_t>(iType) >> 16) & 0xFF;
  ochar *pchar = static_cast<ochar *>(pvValue);
  if (pchar != nullptr && ocharIsNotValid(pchar) != 0) return _resFail(prc, ORC_INVALID);
  bool boForm = (static_cast<uint32_t>(iType) & 0x7C000000u) == 0x40000000u;

  if (iPut) {
    if (pchar == nullptr) return _resFail(prc, ORES_RC_NOVALUE);
    if (!boForm) return _resFail(prc, ORES_RC_BADTYPE);
    const ochar *psrc = pchar;
    ochar *ptmp = nullptr;
    if (pchar->usCCSID != usStored && !_resNoCodePage(pchar->usCCSID) && !_resNoCodePage(usStored)) {
      ptmp = ocharCreate(pchar->ilBU > 0 ? pchar->ilBU : 1, usStored);
      if (ptmp == nullptr) return _resFail(prc, ORES_RC_NOMEM);
      int rc = ocharTranslate(pchar, ptmp);
      if (rc != 0) {
        ocharDestroy(ptmp);
        return _resFail(prc, rc);
      }
      psrc = ptmp;
    }
    uint32_t ulLength = static_cast<uint32_t>(psrc->ilBU);
    unsigned char aucPrefix[7];
    uint32_t ulPrefix = 0;
    if (ulFixed != 0) {
      if (ulLength != ulFixed) {
        ocharDestroy(ptmp);
        return _resFail(prc, ORC_INVALID);
      }
    } else if (ulLength <= 254) {
      aucPrefix[0] = static_cast<unsigned char>(ulLength);
      ulPrefix = 1;
    } else if (ulLength <= 32766) {
      aucPrefix[0] = 0xFF;
      obytePutBE16(aucPrefix + 1, static_cast<uint16_t>(ulLength));
      ulPrefix = 3;
    } else {
      aucPrefix[0] = aucPrefix[1] = aucPrefix[2] = 0xFF;
      obytePutBE32(aucPrefix + 3, ulLength);
      ulPrefix = 7;
    }
    int rc = _resCheckResize(pres, ulPrefix + ulLength);
    if (rc != 0) {
      ocharDestroy(ptmp);
      return _resFail(prc, rc);
    }
    std::memcpy(pres->pData + pres->ulDataLength, aucPrefix, ulPrefix);
    if (ulLength > 0) std::memcpy(pres->pData + pres->ulDataLength + ulPrefix, _charText(psrc), ulLength);
    pres->ulDataLength += ulPrefix + ulLength;
    ocharDestroy(ptmp);
    return pvValue;
  }

  if (pres->ulReadPos >= pres->ulDataLength) return _resFail(prc, ORES_RC_EOD);
  if (!boForm) return _resFail(prc, ORES_RC_BADTYPE);
  const unsigned char *p = pres->pData + pres->ulReadPos;
  const unsigned char *pEnd = pres->pData + pres->ulDataLength;
  uint32_t ulLength = ulFixed;
  if (ulFixed == 0) {
    ulLength = *p++;
    if (ulLength == 0xFF) {
      uint16_t us;
      if (!obyteReadBE16(p, pEnd, &us)) return _resFail(prc, ORES_RC_EOD);
      p += 2;
      ulLength = us;
      if (us == 0xFFFF) {
        if (!obyteReadBE32(p, pEnd, &ulLength)) return _resFail(prc, ORES_RC_EOD);
        p += 4;
      }
    }
  }
  if (static_cast<uint64_t>(pEnd - p) < ulLength || ulLength > 0x7FFFFFFFu)
    return _resFail(prc, ORES_RC_EOD);

  bool boNew = false;
  if (pchar == nullptr) {
    pchar = ocharCreate(ulLength > 0 ? static_cast<int32_t>(ulLength) : 1, usStored);
    if (pchar == nullptr) return _resFail(prc, ORES_RC_NOMEM);
    boNew = true;
  } else if (pchar->usCCSID == 0xFFFE) {
    pchar->usCCSID = usStored;
    pchar->usFlags = static_cast<uint16_t>((pchar->usFlags & ~(OCHAR_CLASS | OCHAR_850)) | _resClassFlags(usStored));
  }
  pchar->ilBU = 0;
  _charSetLen(pchar, 0);
  int rc = 0;
  if (pchar->usCCSID == usStored || _resNoCodePage(pchar->usCCSID) || _resNoCodePage(usStored)) {
    rc = ocharAppendFixedS(pchar, p, static_cast<int32_t>(ulLength));
    if (rc == 0 && (pchar->usFlags & OCHAR_DBCS)) _charSetLen(pchar, pchar->ilBU / 2);
  } else {
    ochar tmp;
    rc = ocharInitFromFixed(&tmp, p, static_cast<int32_t>(ulLength), usStored);
    if (rc == 0) {
      rc = ocharTranslate(&tmp, pchar);
      if (tmp.pcData != nullptr && (tmp.usFlags & OCHAR_OWNED)) std::free(tmp.pcData);
    } else {
      rc = ORES_RC_NOMEM;
    }
  }
  if (rc != 0) {
    if (boNew) ocharDestroy(pchar);
    return _resFail(prc, rc);
  }
  pres->ulReadPos = static_cast<uint32_t>(p - pres->pData) + ulLength;
  return pchar;
}

void *_resRepeatSerialProc(ores *pres, int32_t iType, void *pvValue, int iPut, int *prc)
{
  uint32_t ulKind = _resKind(iType);
  if (ulKind == 0x430000) return pvValue;
  if (ulKind != 0x400000 && ulKind != 0x410000 && ulKind != 0x420000) return _resFail(prc, ORES_RC_BADTYPE);
  uint32_t ulCode = static_cast<uint32_t>(iType);
  uint32_t ulMembers = ulKind == 0x410000 ? 1 : (ulCode >> 8) & 0xFF;
  uint32_t ulDeclared = ulKind == 0x410000 ? ulCode & 0xFFFF : ulCode & 0xFF;
  uint32_t *pulCount = static_cast<uint32_t *>(pvValue);
  uint32_t ulCount = ulDeclared;

  if (ulDeclared == 0) {
    if (iPut) {
      if (pulCount == nullptr) return _resFail(prc, ORES_RC_NOVALUE);
      int rc = _resCheckResize(pres, 4);
      if (rc != 0) return _resFail(prc, rc);
      obytePutBE32(pres->pData + pres->ulDataLength, *pulCount);
      pres->ulDataLength += 4;
      ulCount = *pulCount;
    } else {
      if (_resLeft(pres) < 4) return _resFail(prc, ORES_RC_EOD);
      ulCount = obyteGetBE32(pres->pData + pres->ulReadPos);
      /* Every repeated value takes at least one byte: a larger count is damage. */
      if (ulMembers > 0 && ulCount > _resLeft(pres) - 4) return _resFail(prc, ORES_RC_EOD);
      if (pulCount == nullptr) {
        pulCount = static_cast<uint32_t *>(std::malloc(sizeof(uint32_t)));
        if (pulCount == nullptr) return _resFail(prc, ORES_RC_NOMEM);
        pvValue = pulCount;
      }
      *pulCount = ulCount;
      pres->ulReadPos += 4;
    }
  } else if (pulCount != nullptr) {
    if (*pulCount != ulDeclared) return _resFail(prc, ORES_RC_COUNT);
  } else if (!iPut) {
    pulCount = static_cast<uint32_t *>(std::malloc(sizeof(uint32_t)));
    if (pulCount == nullptr) return _resFail(prc, ORES_RC_NOMEM);
    *pulCount = ulDeclared;
    pvValue = pulCount;
  }

  ostack *pstack = pres->pstackExpect;
  if (static_cast<uint32_t>(ostackGetCount(pstack)) < 2 * ulMembers || ulMembers == 0)
    return _resFail(prc, ORES_RC_NOMEMBER);
  /* Pop the group: pairs come off first member first. */
  uintptr_t *pGroup = static_cast<uintptr_t *>(std::malloc(2 * ulMembers * sizeof(uintptr_t)));
  if (pGroup == nullptr) return _resFail(prc, ORES_RC_NOMEM);
  for (uint32_t i = 0; i < ulMembers; i++) {
    pGroup[2 * i + 1] = ostackPop(pstack);   /* name */
    pGroup[2 * i] = ostackPop(pstack);       /* type */
  }
  for (uint32_t n = 0; n < ulCount; n++) {
    for (uint32_t i = ulMembers; i-- > 0;) {
      ostackPush(pstack, pGroup[2 * i]);
      ostackPush(pstack, pGroup[2 * i + 1]);
    }
  }
  std::free(pGroup);
  return pvValue;
}

/* Puts or gets one member through oresPut/oresGet; returns the code. */
static int _resTDPutString(ores *pres, const char *pcText)
{
  ochar view{};
  view.pcData = const_cast<char *>(pcText != nullptr ? pcText : "");
  view.ilBU = view.ilBT = view.ilL = static_cast<int32_t>(std::strlen(view.pcData));
  view.usCCSID = 850;
  view.usFlags = OCHAR_SBCS | OCHAR_850;
  return oresPut(pres, 0x40000000 | 850, &view);
}

void *_resTDSerialProc(ores *pres, int32_t iType, void *pvValue, int iPut, int *prc)
{
  (void)iType;
  _resPushMembers(pres->pstackExpect, gpresTDTD);
  int rc;
  if (iPut) {
    resTD *ptd = static_cast<resTD *>(pvValue);
    if (ptd == nullptr) return _resFail(prc, ORES_RC_NOVALUE);
    int32_t iCode = ptd->resType;
    if ((rc = oresPut(pres, 0x150000, &iCode)) != 0) return _resFail(prc, rc);
    if ((rc = _resTDPutString(pres, ptd->pcName)) != 0) return _resFail(prc, rc);
    uint32_t ulPairs = static_cast<uint32_t>(ostackGetCount(ptd->pstackMembers)) / 2;
    if ((rc = oresPut(pres, 0x400200, &ulPairs)) != 0) return _resFail(prc, rc);
    for (uint32_t i = 0; i < ulPairs; i++) {
      int32_t iMember = static_cast<int32_t>(static_cast<uint32_t>(ostackGetAt(ptd->pstackMembers, 2 * i)));
      const char *pcMember = reinterpret_cast<const char *>(ostackGetAt(ptd->pstackMembers, 2 * i + 1));
      if ((rc = oresPut(pres, 0x150000, &iMember)) != 0) return _resFail(prc, rc);
      if ((rc = _resTDPutString(pres, pcMember)) != 0) return _resFail(prc, rc);
    }
    return ptd;
  }

  resTD *ptd = static_cast<resTD *>(pvValue);
  bool boNew = ptd == nullptr;
  if (boNew) {
    ptd = oresTypeCreate();
    if (ptd == nullptr) return _resFail(prc, ORES_RC_NOMEM);
  } else {
    while (ostackGetCount(ptd->pstackMembers) > 0) ostackPop(ptd->pstackMembers);
  }
  ochar *pchar = ocharCreate(16, 850);
  if (pchar == nullptr) {
    if (boNew) oresTypeDestroy(ptd);
    return _resFail(prc, ORES_RC_NOMEM);
  }
  int32_t iCode = 0;
  uint32_t ulPairs = 0;
  rc = 0;
  oresGet(pres, 0x150000, &iCode, &rc);
  if (rc == 0) oresGet(pres, 0x40000000, pchar, &rc);
  const char *pcName = nullptr;
  if (rc == 0 && pchar->ilBU > 0) pcName = onameInternFixed(gpnameTableResDef, pchar->pcData, static_cast<size_t>(pchar->ilBU));
  if (rc == 0) oresGet(pres, 0x400200, &ulPairs, &rc);
  for (uint32_t i = 0; rc == 0 && i < ulPairs; i++) {
    int32_t iMember = 0;
    oresGet(pres, 0x150000, &iMember, &rc);
    if (rc == 0) oresGet(pres, 0x40000000, pchar, &rc);
    if (rc != 0) break;
    const char *pcMember = pchar->ilBU > 0
        ? onameInternFixed(gpnameTableResDef, pchar->pcData, static_cast<size_t>(pchar->ilBU))
        : nullptr;
    ostackPush(ptd->pstackMembers, _resKey(iMember));
    ostackPush(ptd->pstackMembers, reinterpret_cast<uintptr_t>(pcMember));
  }
  ocharDestroy(pchar);
  if (rc != 0) {
    if (boNew) oresTypeDestroy(ptd);
    return _resFail(prc, rc);
  }
  ptd->resType = iCode;
  ptd->pcName = pcName;
  ptd->procSerial = nullptr;
  return ptd;
}

/* ------------------------------------------------------------------ dump */

__attribute__((format(printf, 2, 3)))
static void _resPrint(FILE *pfile, const char *pcFormat, ...)
{
  va_list va;
  va_start(va, pcFormat);
  omsgsVDumpTo(pfile, gpzcFileDebug, pcFormat, va);
  va_end(va);
}

static void _resIndent(FILE *pfile, int iIndent)
{
  _resPrint(pfile, "%*s", iIndent > 0 ? iIndent : 0, "");
}

void _resDumpTypeDescription(const resTD *ptd, FILE *pfile, int iIndent)
{
  _resIndent(pfile, iIndent);
  _resPrint(pfile, "Type def pour '%s' restype %8.8X\n", ptd->pcName ? ptd->pcName : "",
            static_cast<unsigned>(ptd->resType));
  int n = ostackGetCount(ptd->pstackMembers);
  for (int i = 0; i + 1 < n; i += 2) {
    const char *pc = reinterpret_cast<const char *>(ostackGetAt(ptd->pstackMembers, i + 1));
    _resIndent(pfile, iIndent + 2);
    _resPrint(pfile, "type %8.8X name '%s'\n", static_cast<unsigned>(ostackGetAt(ptd->pstackMembers, i)),
              pc ? pc : "");
  }
}

int oresDumpScalar(ores *pres, int32_t iType, ostack *pstack, FILE *pfile, int iIndent)
{
  (void)pstack;
  int rc = 0;
  uint32_t ulKind = _resKind(iType);
  if (_resIsString(iType)) {
    ochar *pchar = static_cast<ochar *>(_resCharSerialProc(pres, iType, nullptr, 0, &rc));
    if (pchar == nullptr) return rc;
    if (pfile != nullptr) ocharDump2(0, &pfile, pchar, iIndent);
    else ocharPrintServices(pchar, gpzcFileDebug);
    ocharDestroy(pchar);
    return 0;
  }
  if (ulKind >= 0x100000 && ulKind <= 0x150000) {
    uint32_t ul = 0;
    if (_resIntegerSerialProc(pres, iType, &ul, 0, &rc) == nullptr) return rc;
    _resIndent(pfile, iIndent);
    if (ulKind == 0x100000 || ulKind == 0x110000) {
      uint8_t uc = static_cast<uint8_t>(ul);
      if (ulKind == 0x100000) _resPrint(pfile, "%u\n", uc);
      else _resPrint(pfile, "%i\n", static_cast<int8_t>(uc));
    } else if (ulKind == 0x120000 || ulKind == 0x130000) {
      uint16_t us;
      std::memcpy(&us, &ul, 2);
      if (ulKind == 0x120000) _resPrint(pfile, "%u\n", us);
      else _resPrint(pfile, "%i\n", static_cast<int16_t>(us));
    } else if (ulKind == 0x140000) {
      _resPrint(pfile, "%u\n", ul);
    } else {
      _resPrint(pfile, "%i\n", static_cast<int32_t>(ul));
    }
    return 0;
  }
  if (ulKind == 0x180000) {
    uint32_t ulForm = static_cast<uint32_t>(iType) & 0xFFFF;
    double d = 0;
    if (ulForm >= 8) {
      if (_resFloatSerialProc(pres, iType, &d, 0, &rc) == nullptr) return rc;
    } else {
      float f = 0;
      if (_resFloatSerialProc(pres, iType, &f, 0, &rc) == nullptr) return rc;
      d = f;
    }
    _resIndent(pfile, iIndent);
    _resPrint(pfile, "%G\n", d);
    return 0;
  }
  if (ulKind >= 0x400000 && ulKind <= 0x430000) {
    uint32_t ulCount = 0;
    uint32_t ulDeclared = ulKind == 0x410000 ? static_cast<uint32_t>(iType) & 0xFFFF : static_cast<uint32_t>(iType) & 0xFF;
    if (ulDeclared != 0) ulCount = ulDeclared;
    if (_resRepeatSerialProc(pres, iType, &ulCount, 0, &rc) == nullptr) return rc;
    _resIndent(pfile, iIndent);
    if (ulKind == 0x410000) _resPrint(pfile, "Repeat %i times\n", static_cast<int>(ulCount));
    else _resPrint(pfile, "Repeat %i times, %i items\n", static_cast<int>(ulCount),
                   static_cast<int>((static_cast<uint32_t>(iType) >> 8) & 0xFF));
    return 0;
  }
  if (ulKind == 0x10000) {
    resTD *ptd = static_cast<resTD *>(_resTDSerialProc(pres, iType, nullptr, 0, &rc));
    if (ptd == nullptr) return rc;
    _resIndent(pfile, iIndent);
    _resDumpTypeDescription(ptd, pfile, 0);
    oresTypeDestroy(ptd);
    return 0;
  }
  return ORES_RC_BADTYPE;
}

int oresDumpFormated(ores *pres, ostack *pstack, FILE *pfile, int iIndent)
{
  if (pres == nullptr) return ORES_RC_BADTYPE;
  /* A type read from a file may name itself: nesting is bounded. */
  static int giDumpDepth = 0;
  if (giDumpDepth >= 64) return ORES_RC_BADTYPE;
  struct DepthGuard {
    DepthGuard() { giDumpDepth++; }
    ~DepthGuard() { giDumpDepth--; }
  } guard;
  ostack *pstackSaved = pres->pstackExpect;
  if (pstack != nullptr) pres->pstackExpect = pstack;
  int rc = 0;
  while (rc == 0 && ostackGetCount(pres->pstackExpect) >= 2) {
    const char *pcName = reinterpret_cast<const char *>(ostackPop(pres->pstackExpect));
    int32_t iType = static_cast<int32_t>(static_cast<uint32_t>(ostackPop(pres->pstackExpect)));
    _resIndent(pfile, iIndent);
    _resPrint(pfile, "type:%8.8X  name:'%s'\n", static_cast<unsigned>(iType), pcName ? pcName : "none!");
    if (iType < 0) {
      resTD *ptd = _resGetUserType(iType);
      if (ptd == nullptr) {
        rc = ORES_RC_BADTYPE;
        break;
      }
      ostack *pstackMembers = ostackCreate(10);
      if (pstackMembers == nullptr) {
        rc = ORES_RC_NOMEM;
        break;
      }
      _resPushMembers(pstackMembers, ptd);
      rc = oresDumpFormated(pres, pstackMembers, pfile, iIndent + 2);
      ostackDestroy(pstackMembers);
    } else {
      rc = oresDumpScalar(pres, iType, pres->pstackExpect, pfile, iIndent);
    }
  }
  pres->pstackExpect = pstackSaved;
  return rc;
}
