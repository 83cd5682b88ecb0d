/*
** zorparm.cpp
**   Copies of the parameter library to and from "$FAKE" (see zorparm.h).
**   Resource forms: texts as binary fixed-length strings of the field's
**   length (any byte survives, NULs included), 32-bit fields as signed
**   32-bit integers, 16-bit fields as signed 16-bit integers, floats as
**   four-byte floats, counted texts as length-prefixed strings of their
**   current length.  The two OPTLOAD rows named LDSERRLM share one resource:
**   the second row's value is the one stored, and a load gives it to both.
*/
#include "model/zorparm.h"

#include <cstring>
#include <map>
#include <string>

#include "common/ochar.h"
#include "common/ores.h"
#include "common/orscs.h"
#include "model/parm.h"

namespace {

const char *const kpcFakeFile = "$FAKE";

/* The descriptor tables in member order. */
const parmField *const kaptableMembers[PARM_MEMBERS] = {
    tParmCsectAuttime, tParmCsectOptgen, tParmCsectInfvsmig, tParmCsectOptsort,
    tParmCsectOptacmd, tParmCsectOptdb2, tParmCsectOptunl,   tParmCsectOptrgol,
    tParmCsectOptrgar, tParmCsectOptload, tParmCsectOptdb2i};

/* Texts loaded into counted-text fields, by parameter id; they live as long as the process. */
std::map<int32_t, std::string> gmapCountedTexts;

bool _parmIsEnd(const parmField *prow)
{
  return prow->acName[0] == '\0' && prow->iId == 0;
}

void _parmRowName(const parmField *prow, char acName[9])
{
  std::memcpy(acName, prow->acName, 8);
  acName[8] = '\0';
  for (int i = 7; i >= 0 && acName[i] == ' '; i--) acName[i] = '\0';
}

int32_t _parmResType(const parmField *prow)
{
  switch (prow->iType) {
    case PARM_LONG: return ORES_TYPE_I32;
    case PARM_SHORT: return ORES_TYPE_I16;
    case PARM_FLOAT: return ORES_TYPE_FLOAT + 5;
    case PARM_COUNTED: return ORES_TYPE_STRING;
    default: return ORES_TYPE_STRING + ((prow->iLength & 0xFF) << 16);
  }
}

/* Builds the resource of one field; NULL when the field has no variable or the put fails. */
ores *_parmMakeRes(const parmField *prow)
{
  void *pValue = parmGetWithControl(prow->iId, 0);
  if (pValue == nullptr) return nullptr;
  ores *pres = oresCreate(_parmResType(prow), 0, 0);
  if (pres == nullptr) return nullptr;
  int iRc = 0;
  switch (prow->iType) {
    case PARM_LONG: {
      int32_t l;
      std::memcpy(&l, pValue, sizeof l);
      iRc = oresPutLong(pres, l);
      break;
    }
    case PARM_SHORT: {
      int16_t s;
      std::memcpy(&s, pValue, sizeof s);
      iRc = oresPutShort(pres, s);
      break;
    }
    case PARM_FLOAT: {
      float f;
      std::memcpy(&f, pValue, sizeof f);
      iRc = oresPutFloat(pres, f);
      break;
    }
    case PARM_COUNTED: {
      int16_t sLength;
      std::memcpy(&sLength, pValue, sizeof sLength);
      const char *pcText = nullptr;
      void *pText = parmGetWithControl(prow->iId + 1, 0);
      if (pText != nullptr) std::memcpy(&pcText, pText, sizeof pcText);
      if (pcText == nullptr || sLength < 0) sLength = 0;
      ochar *pchar = ocharCreate(sLength > 0 ? sLength : 1, 850);
      iRc = pchar == nullptr ? ORC_NOMEM : 0;
      if (iRc == 0 && sLength > 0) iRc = ocharAppendFixed(pchar, pcText, sLength);
      if (iRc == 0) iRc = oresPutChar(pres, pchar);
      if (pchar != nullptr) ocharDestroy(pchar);
      break;
    }
    default:
      iRc = oresPutCharFixedFBD(pres, pValue, (uint32_t)prow->iLength, (uint32_t)prow->iLength);
      break;
  }
  if (iRc != 0) {
    oresDestroy(pres);
    return nullptr;
  }
  return pres;
}

/* Reads one field back from its resource; a field whose resource cannot be read keeps its value. */
void _parmLoadRes(const parmField *prow, ores *pres)
{
  void *pValue = parmGetWithControl(prow->iId, 0);
  if (pValue == nullptr) return;
  switch (prow->iType) {
    case PARM_LONG: {
      int32_t l = 0;
      if (oresGetLong(pres, &l) == 0) std::memcpy(pValue, &l, sizeof l);
      break;
    }
    case PARM_SHORT: {
      int16_t s = 0;
      if (oresGetShort(pres, &s) == 0) std::memcpy(pValue, &s, sizeof s);
      break;
    }
    case PARM_FLOAT: {
      float f = 0;
      if (oresGetFloat(pres, &f) == 0) std::memcpy(pValue, &f, sizeof f);
      break;
    }
    case PARM_COUNTED: {
      void *pText = parmGetWithControl(prow->iId + 1, 0);
      ochar *pchar = ocharCreate(16, 850);
      if (pText == nullptr || pchar == nullptr) {
        if (pchar != nullptr) ocharDestroy(pchar);
        break;
      }
      if (oresGetChar(pres, pchar) == 0 && pchar->ilBU <= INT16_MAX) {
        std::string &text = gmapCountedTexts[prow->iId];
        text.assign(pchar->ilBU > 0 ? _charText(pchar) : "", (size_t)pchar->ilBU);
        int16_t sLength = (int16_t)pchar->ilL;
        const char *pcText = text.c_str();
        std::memcpy(pValue, &sLength, sizeof sLength);
        std::memcpy(pText, &pcText, sizeof pcText);
      }
      ocharDestroy(pchar);
      break;
    }
    default: {
      char acBuffer[256];
      uint32_t ulLength = (uint32_t)prow->iLength;
      if (ulLength == 0 || ulLength > sizeof acBuffer) break;
      if (oresGetCharFixedFBD(pres, acBuffer, ulLength, ulLength) == 0)
        std::memcpy(pValue, acBuffer, ulLength);
      break;
    }
  }
}

}  // namespace

int zorparmStoreFake(const char *pcDictName)
{
  orscs *prscs = orscsCreate(kpcFakeFile, 2, 0);
  if (prscs == nullptr) return -1;
  oresdict *pdict = nullptr;
  if (pcDictName != nullptr) {
    pdict = oresIsExist(prscs->pdictMain, pcDictName) ? oresLoadDict(prscs->pdictMain, pcDictName)
                                                       : nullptr;
    if (pdict == nullptr) pdict = oresCreateDict(prscs->pdictMain, pcDictName, 0);
  }
  if (pdict != nullptr) {
    for (const parmField *ptable : kaptableMembers) {
      for (const parmField *prow = ptable; !_parmIsEnd(prow); prow++) {
        ores *pres = _parmMakeRes(prow);
        if (pres == nullptr) continue;
        char acName[9];
        _parmRowName(prow, acName);
        oresStoreNamed(pdict, acName, pres);
        oresDestroy(pres);
      }
    }
    oresStoreDict(pdict);
    oresdictDestroy(pdict);
  }
  orscsDestroy(prscs);
  return 0;
}

int zorparmLoadFake(const char *pcDictName)
{
  orscs *prscs = orscsCreate(kpcFakeFile, 2, 0);
  if (prscs == nullptr) return -1;
  oresdict *pdict = nullptr;
  if (pcDictName != nullptr && oresIsExist(prscs->pdictMain, pcDictName))
    pdict = oresLoadDict(prscs->pdictMain, pcDictName);
  if (pdict != nullptr) {
    for (const parmField *ptable : kaptableMembers) {
      for (const parmField *prow = ptable; !_parmIsEnd(prow); prow++) {
        char acName[9];
        _parmRowName(prow, acName);
        if (!oresIsExist(pdict, acName)) continue;
        ores *pres = oresLoadNamed(pdict, acName);
        if (pres == nullptr) continue;
        _parmLoadRes(prow, pres);
        oresDestroy(pres);
      }
    }
    oresdictDestroy(pdict);
  }
  orscsDestroy(prscs);
  return 0;
}
