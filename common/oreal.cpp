/*
** oreal.cpp
**   Floats of the typed resources: the serial procedure of kind 0x180000 and
**   the conversions between IEEE binary floating point and hexadecimal
**   floating point (HFP), short and long.  Values outside the target's range
**   saturate or flush to zero as oreal.h says; nothing here traces.
*/
#include "common/oreal.h"

#include <cstdlib>
#include <cstring>

#include "common/obyte.h"
#include "common/ores.h"
#include "common/orestype.h"

static int _realLeadingZeros64(uint64_t ull, int iBits)
{
  int z = 0;
  for (int i = iBits - 1; i >= 0 && !((ull >> i) & 1u); i--) z++;
  return z;
}

int _realHFPSingle2BFPSingle(uint32_t ulHfp, uint32_t *pulResult)
{
  uint32_t ulSign = ulHfp & 0x80000000u;
  uint32_t ulF = ulHfp & 0x00FFFFFFu;
  int iC = static_cast<int>((ulHfp >> 24) & 0x7F);
  if (ulF == 0) {
    *pulResult = 0;
    return 0;
  }
  int z = _realLeadingZeros64(ulF, 24);
  ulF <<= z;
  int iE = 4 * iC - 130 - z;
  if (iE >= 255) *pulResult = ulSign | 0x7F7FFFFFu;       /* largest finite */
  else if (iE <= 0) *pulResult = ulSign;                   /* below normal range */
  else *pulResult = ulSign | static_cast<uint32_t>(iE) << 23 | (ulF & 0x7FFFFFu);
  return 0;
}

uint32_t _realBFPSingle2HFPSingle(uint32_t ulIeee)
{
  uint32_t ulSign = ulIeee & 0x80000000u;
  int iExp = static_cast<int>((ulIeee >> 23) & 0xFF);
  uint32_t ulFrac = ulIeee & 0x7FFFFFu;
  if (iExp == 0 && ulFrac == 0) return 0;
  if (iExp == 255) return ulFrac != 0 ? 0 : (ulSign | 0x7FFFFFFFu);
  int iE;
  uint32_t ulS;
  if (iExp == 0) {                 /* subnormal: normalise */
    iE = -126;
    ulS = ulFrac;
    while (!(ulS & 0x800000u)) {
      ulS <<= 1;
      iE--;
    }
  } else {
    iE = iExp - 127;
    ulS = ulFrac | 0x800000u;
  }
  int iQ = iE >> 2;                /* floor(e / 4) */
  int iR = iE - 4 * iQ;
  uint32_t ulF = ulS >> (3 - iR);
  int iC = iQ + 65;
  if (iC > 127) return ulSign | 0x7FFFFFFFu;
  if (iC < 0) return 0;
  return ulSign | static_cast<uint32_t>(iC) << 24 | ulF;
}

int _realHFPDouble2BFPDouble(uint64_t ullHfp, uint64_t *pullResult)
{
  uint64_t ullSign = ullHfp & 0x8000000000000000ull;
  uint64_t ullF = ullHfp & 0x00FFFFFFFFFFFFFFull;
  int iC = static_cast<int>((ullHfp >> 56) & 0x7F);
  if (ullF == 0) {
    *pullResult = 0;
    return 0;
  }
  int z = _realLeadingZeros64(ullF, 56);
  ullF <<= z;                                  /* leading bit now bit 55 */
  int iE = 4 * iC + 766 - z;                   /* always within 1 to 2046 */
  *pullResult = ullSign | static_cast<uint64_t>(iE) << 52 | ((ullF >> 3) & 0xFFFFFFFFFFFFFull);
  return 0;
}

int _realBFPDouble2HFPDouble(uint64_t ullIeee, uint64_t *pullResult)
{
  uint64_t ullSign = ullIeee & 0x8000000000000000ull;
  int iExp = static_cast<int>((ullIeee >> 52) & 0x7FF);
  uint64_t ullFrac = ullIeee & 0xFFFFFFFFFFFFFull;
  if (iExp == 0 && ullFrac == 0) {
    *pullResult = 0;
    return 0;
  }
  if (iExp == 0x7FF) {
    *pullResult = ullFrac != 0 ? 0 : (ullSign | 0x7FFFFFFFFFFFFFFFull);
    return 0;
  }
  int iE;
  uint64_t ullS;
  if (iExp == 0) {
    iE = -1022;
    ullS = ullFrac;
    while (!(ullS & 0x10000000000000ull)) {
      ullS <<= 1;
      iE--;
    }
  } else {
    iE = iExp - 1023;
    ullS = ullFrac | 0x10000000000000ull;
  }
  int iQ = iE >> 2;
  int iR = iE - 4 * iQ;
  int iC = iQ + 65;
  if (iC > 127) *pullResult = ullSign | 0x7FFFFFFFFFFFFFFFull;
  else if (iC < 0) *pullResult = 0;
  else *pullResult = ullSign | static_cast<uint64_t>(iC) << 56 | (ullS << iR);
  return 0;
}

/* Bits of the caller's value -> bits to store, by mode. */
static uint32_t _realPut32(uint32_t ul, uint32_t ulMode)
{
  switch (ulMode) {
    case 0: return 0;
    case 2: {
      uint32_t ulOut;
      _realHFPSingle2BFPSingle(ul, &ulOut);
      return ulOut;
    }
    case 3: return _realBFPSingle2HFPSingle(ul);
    default: return ul;
  }
}

static uint64_t _realPut64(uint64_t ull, uint32_t ulMode)
{
  uint64_t ullOut = ull;
  switch (ulMode) {
    case 0: return 0;
    case 2: _realHFPDouble2BFPDouble(ull, &ullOut); break;
    case 3: _realBFPDouble2HFPDouble(ull, &ullOut); break;
    default: break;
  }
  return ullOut;
}

void *_resFloatSerialProc(ores *pres, int32_t iType, void *pvValue, int iPut, int *prc)
{
  uint32_t ulForm = static_cast<uint32_t>(iType) & 0xFFFF;
  uint32_t ulSize;
  switch (ulForm) {
    case 4: case 5: case 6: ulSize = 4; break;
    case 8: case 9: case 10: ulSize = 8; break;
    default:
      *prc = ORES_RC_BADTYPE;
      return nullptr;
  }
  uint32_t ulMode = ulForm & 3;
  if (ulMode == 0) ulMode = (pres->ulFlags & ORES_FLAG_FLOATMODE) >> 16;

  if (iPut) {
    if (pvValue == nullptr) {
      *prc = ORES_RC_NOVALUE;
      return nullptr;
    }
    int rc = _resCheckResize(pres, ulSize);
    if (rc != 0) {
      *prc = rc;
      return nullptr;
    }
    unsigned char *p = pres->pData + pres->ulDataLength;
    if (ulSize == 4) {
      uint32_t ul;
      std::memcpy(&ul, pvValue, 4);
      obytePutBE32(p, _realPut32(ul, ulMode));
    } else {
      uint64_t ull;
      std::memcpy(&ull, pvValue, 8);
      obytePutBE64(p, _realPut64(ull, ulMode));
    }
    pres->ulDataLength += ulSize;
    return pvValue;
  }

  if (pres->ulReadPos > pres->ulDataLength || pres->ulDataLength - pres->ulReadPos < ulSize) {
    *prc = ORES_RC_EOD;
    return nullptr;
  }
  if (pvValue == nullptr) {
    pvValue = std::malloc(ulSize);
    if (pvValue == nullptr) {
      *prc = ORES_RC_NOMEM;
      return nullptr;
    }
  }
  const unsigned char *p = pres->pData + pres->ulReadPos;
  if (ulSize == 4) {
    uint32_t ul = _realPut32(obyteGetBE32(p), ulMode);
    std::memcpy(pvValue, &ul, 4);
  } else {
    uint64_t ull = _realPut64(obyteGetBE64(p), ulMode);
    std::memcpy(pvValue, &ull, 8);
  }
  pres->ulReadPos += ulSize;
  return pvValue;
}
