/*
** onameres.cpp
**   The resource type "onameTable": a persistent interning table stored as
**   its flags, its last id and one string per id, and loaded back so that
**   every name gets its old id again.  The in-memory table is oname.h's.
*/
#include "common/onameres.h"

#include <cstring>

#include "common/ochar.h"
#include "common/oname.h"
#include "common/ores.h"
#include "common/orestype.h"

uint32_t gulInitilized = 0;

static const oresTData oresTDataonameTable[] = {
  {0x150000, "Flags"},
  {0x410000, "Tableau de oname"},
  {0x40000000, "oname"},
  {0, nullptr},
};

int onameInitModule(void)
{
  if (gulInitilized == 0xACCEDEDu) return 0;
  if (gulInitialized != 0xACCEDEDu) return oresInitModule();   /* comes back here */
  int rc = oresTypeRegisterStatic(oresTDataonameTable, ONAME_RES_TYPE, "onameTable", _nameSerialProc);
  if (rc == 0) gulInitilized = 0xACCEDEDu;
  return rc;
}

void *_nameSerialProc(ores *pres, int32_t iType, void *pvValue, int iPut, int *prc)
{
  (void)iType;
  oname *pname = static_cast<oname *>(pvValue);
  ochar *pchar = ocharCreate(255, 850);
  if (pchar == nullptr) {
    *prc = 0x80001;
    return nullptr;
  }
  int rc = 0;
  if (iPut) {
    /* Only a table with ids can give every name its id back. */
    if (pname == nullptr) rc = 0x88003;
    else if (!onameIsPersistant(pname)) rc = ONAME_RC_NOTPERSIST;
    uint32_t ulFlags = pname != nullptr ? pname->ulFlags : 0;
    uint32_t ulLast = pname != nullptr ? pname->ulLastId : 0;
    if (rc == 0) rc = oresPut(pres, 0x150000, &ulFlags);
    if (rc == 0) rc = oresPut(pres, 0x410000, &ulLast);
    for (uint32_t ulId = 1; rc == 0 && ulId <= ulLast; ulId++) {
      const char *pc = onameGetFromId(pname, ulId);
      pchar->ilBU = 0;
      _charSetLen(pchar, 0);
      if (pc != nullptr) rc = ocharAppendFixedS(pchar, pc, static_cast<int32_t>(onameGetLength(pc)));
      if (rc == 0) rc = oresPut(pres, 0x40000000, pchar);
    }
    ocharDestroy(pchar);
    *prc = rc;
    return rc == 0 ? pname : nullptr;
  }

  uint32_t ulFlags = 0, ulCount = 0;
  oresGet(pres, 0x150000, &ulFlags, &rc);
  if (rc == 0) oresGet(pres, 0x410000, &ulCount, &rc);
  bool boNew = false;
  if (rc == 0) {
    if (pname != nullptr) {
      if (!onameIsPersistant(pname)) rc = ONAME_RC_NOTPERSIST;
      else if (pname->ulCount != 0 || pname->ulLastId != 0) rc = ONAME_RC_NOTEMPTY;
    } else {
      uint32_t ulHint = ulCount + ulCount / 4;
      pname = onameCreateExtended(ulHint, 80, ulFlags & ONAME_PERSISTENT);
      if (pname == nullptr) rc = 0x80002;
      else {
        pname->ulFlags |= ulFlags & (ONAME_AUTORESIZE | ONAME_FASTENTRY);
        boNew = true;
      }
    }
  }
  for (uint32_t ulId = 1; rc == 0 && ulId <= ulCount; ulId++) {
    oresGet(pres, 0x40000000, pchar, &rc);
    if (rc != 0) break;
    onameInternFixed(pname, pchar->pcData, static_cast<size_t>(pchar->ilBU));
    /* A name stored twice would shift every later id: the data is damaged. */
    if (onameIsPersistant(pname) && pname->ulLastId != ulId) rc = ORC_INVALID;
  }
  ocharDestroy(pchar);
  *prc = rc;
  if (rc != 0) {
    if (boNew) onameDestroy(pname);
    return nullptr;
  }
  return pname;
}
