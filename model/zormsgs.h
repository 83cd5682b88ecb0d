/*
** zormsgs.h
**   Message identifiers of the program driver and of the other modules
**   whose messages carry the program's ZORU prefix.  Each identifier is a
**   global pointing at its built-in text (a printf format that begins with
**   the identifier); callers pass the global as the format to omsgsFMTEDO.
**   The texts themselves are listed once, in zormsgs.def.
*/
#ifndef ZAV_MODEL_ZORMSGS_H
#define ZAV_MODEL_ZORMSGS_H

#define ZMSG(id, text) extern const char *id;
#include "model/zormsgs.def"
#undef ZMSG

/* Looks a built-in text up by its eight-character identifier; NULL when unknown. */
const char *zormsgsFind(const char *pcId);

#endif
