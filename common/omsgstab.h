/*
** omsgstab.h
**   Message identifiers of the common library.  Each identifier is a global
**   pointing at its built-in text (a printf format that begins with the
**   identifier); callers pass the global as the format to omsgsFMTEDO or to
**   their trace function.  The texts themselves are listed once, in
**   omsgstab.def.
*/
#ifndef ZAV_COMMON_OMSGSTAB_H
#define ZAV_COMMON_OMSGSTAB_H

#define OMSG(id, text) extern const char *id;
#include "common/omsgstab.def"
#undef OMSG

/* Looks a built-in text up by its eight-character identifier; NULL when unknown. */
const char *omsgstabFind(const char *pcId);

#endif
