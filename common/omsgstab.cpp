/*
** omsgstab.cpp
**   Definitions of the common library's message globals, from omsgstab.def,
**   and the look-up of a built-in text by identifier.
*/
#include "common/omsgstab.h"

#include <cstring>

#define OMSG(id, text) const char *id = text;
#include "common/omsgstab.def"
#undef OMSG

namespace {
struct OmsgEntry {
  const char *pcId;
  const char *const *ppcText;
};
const OmsgEntry gaomsgTable[] = {
#define OMSG(id, text) {#id, &id},
#include "common/omsgstab.def"
#undef OMSG
    {nullptr, nullptr}};
}  // namespace

const char *omsgstabFind(const char *pcId)
{
  if (pcId == nullptr) return nullptr;
  for (const OmsgEntry *p = gaomsgTable; p->pcId != nullptr; p++)
    if (std::strncmp(p->pcId, pcId, 8) == 0) return *p->ppcText;
  return nullptr;
}
