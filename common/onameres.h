/*
** onameres.h
**   Name tables as resources: a persistent interning table (oname.h) is
**   stored in the resource store as a resource of the user type "onameTable"
**   (code 0x80040001) and loaded back with every name at its old id, so that
**   ids written elsewhere keep their meaning.
**
**   Members of "onameTable", in order: "Flags" (32-bit integer), "Tableau de
**   oname" (repeat the next member, count stored), "oname" (string in the
**   resource's CCSID): the flags, the last id, then one string per id from 1
**   to the last id (empty for a reserved id without a name).
*/
#ifndef ZAV_COMMON_ONAMERES_H
#define ZAV_COMMON_ONAMERES_H

#include <cstdint>

struct ores;

#define ONAME_RES_TYPE        ((int32_t)0x80040001)
#define ONAME_RC_NOTPERSIST   0x48001   /* loading into a table without ids */
#define ONAME_RC_NOTEMPTY     0x48002   /* loading into a table holding names */

extern uint32_t gulInitilized;   /* 0xACCEDED once the type is registered */

/*
** onameInitModule
**   Registers the resource type "onameTable" once per process.
**   Returns 0 when already done, else the registration's result.
*/
int onameInitModule(void);

/*
** _nameSerialProc
**   Serial procedure of "onameTable": the value is an oname table (NULL on a
**   get makes a new persistent table).  Stores its code in *prc (0x48001,
**   0x48002, 0x80002 or the store's codes) and returns the table or NULL.
*/
void *_nameSerialProc(ores *pres, int32_t iType, void *pvValue, int iPut, int *prc);

#endif
