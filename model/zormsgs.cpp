/*
** zormsgs.cpp
**   Definitions of the program's message globals, from zormsgs.def, and the
**   look-up of a built-in text by identifier.
*/
#include "model/zormsgs.h"

#include <cstring>

#define ZMSG(id, text) const char *id = text;
#include "model/zormsgs.def"
#undef ZMSG

namespace {
struct ZmsgEntry {
  const char *pcId;
  const char *const *ppcText;
};
const ZmsgEntry gazmsgTable[] = {
#define ZMSG(id, text) {#id, &id},
#include "model/zormsgs.def"
#undef ZMSG
    {nullptr, nullptr}};
}  // namespace

const char *zormsgsFind(const char *pcId)
{
  if (pcId == nullptr) return nullptr;
  for (const ZmsgEntry *p = gazmsgTable; p->pcId != nullptr; p++)
    if (std::strncmp(p->pcId, pcId, 8) == 0) return *p->ppcText;
  return nullptr;
}
