/*
** ostrdict.h
**   Dictionary keyed by strings: an oname table that interns the keys and an
**   odict keyed by the interned pointers.  It holds the enabled trace
**   keywords, lexer keyword tables and the names of resource dictionaries.
**   The dictionary owns both tables and never the values (its odict has no
**   value-destroy callback).
**
**   To walk it, run an odict cursor on pdict; each key is an interned name
**   (cast the key to const char *; onameGetLength gives its length).  Keys are
**   never empty: empty names are refused.
*/
#ifndef ZAV_COMMON_OSTRDICT_H
#define ZAV_COMMON_OSTRDICT_H

#include <cstddef>
#include <cstdint>

#include "common/odict.h"
#include "common/oname.h"

struct ostrdict {
  oname *pname;   /* interning table of the keys */
  odict *pdict;   /* values keyed by interned pointer */
};

/*
** ostrdictCreate
**   odictCreate and onameCreate with the same hint and load factor.
**   Returns the dictionary, or NULL when memory runs out (nothing left
**   allocated).
*/
ostrdict *ostrdictCreate(uint32_t ulSizeHint, uint32_t ulLoadFactor);

/*
** ostrdictStore
**   Interns the NUL-terminated name and stores the value under it, replacing
**   an earlier value.
**   Returns 0, ORC_INVALID for a NULL dictionary or name, an empty name or a
**   name longer than ONAME_MAXLENGTH, or ORC_NOMEM.
*/
int ostrdictStore(ostrdict *pstrdict, const char *pcName, void *pValue);

/* ostrdictStoreFixed: ostrdictStore for the first ulLength bytes of pcName. */
int ostrdictStoreFixed(ostrdict *pstrdict, const char *pcName, size_t ulLength, void *pValue);

/*
** ostrdictLoad
**   Returns the value stored under the NUL-terminated name, NULL when the name
**   was never stored.  Never adds the name to the interning table.
*/
void *ostrdictLoad(const ostrdict *pstrdict, const char *pcName);

/* ostrdictLoadFixed: ostrdictLoad for the first ulLength bytes of pcName. */
void *ostrdictLoadFixed(const ostrdict *pstrdict, const char *pcName, size_t ulLength);

/* ostrdictGetCount: returns the number of stored names. */
uint32_t ostrdictGetCount(const ostrdict *pstrdict);

/*
** ostrdictDestroy
**   Destroys the odict (values untouched) and the oname table, then the
**   dictionary.  NULL is ignored.
*/
void ostrdictDestroy(ostrdict *pstrdict);

#endif
