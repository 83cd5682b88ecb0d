/*
** orestype.h
**   The type system of the typed resources: one registry per process that
**   maps each system kind to the serial procedure encoding its values and
**   each user type (negative code) to its descriptor; the type descriptors
**   and their serialised form (how a resource file keeps the user types it
**   uses); the serial procedures for integers, strings, repetitions and
**   descriptors (floats: oreal.h); and the formatted dump of a resource.
**   The registry and the member-name table live until the process ends.
**   One thread.
**
**   Serialised forms (big-endian):
**     8/16/32-bit integers      1, 2, 4 bytes
**     length-prefixed string    L <= 254: 1 byte L;  255 <= L <= 32766: 0xFF,
**                               L in 2 bytes;  L >= 32767: 0xFF 0xFF 0xFF, L
**                               in 4 bytes; then the L bytes
**     fixed string of n bytes   the n bytes
**     repetition, count 0       the count in 4 bytes (a declared count: nothing);
**                               0x420000 is read and written as 0x400000; a
**                               stored count above the bytes left is damage
**     type descriptor           code (4), name (prefixed string), member count
**                               n (4), then n times type (4) and name
**                               (prefixed), last declared member first
*/
#ifndef ZAV_COMMON_ORESTYPE_H
#define ZAV_COMMON_ORESTYPE_H

#include <cstdint>
#include <cstdio>

struct ores;
struct ostack;
struct odict;
struct oname;

/*
** Serial procedure: (resource, expected type code, value or NULL, direction
** 1 put / 0 get, reason-code pointer).  Returns the value pointer (a get
** with NULL allocates it) or NULL with *prc set.  Some procedures leave *prc
** alone on success: callers set it to 0 first.
*/
typedef void *(*oresSerialProc)(ores *pres, int32_t iType, void *pvValue, int iPut, int *prc);

/* Type descriptor. */
struct resTD {
  ostack *pstackMembers;     /* pairs (type code, interned name): type pushed
                                first, name on top; first member on top */
  int32_t resType;           /* negative for user types */
  const char *pcName;        /* interned in gpnameTableResDef */
  oresSerialProc procSerial; /* NULL for descriptors read back from a file */
};

/* Row of a static member table; a row of type 0 ends the table. */
struct oresTData {
  int32_t iType;
  const char *pcName;
};

extern odict *gpdictType;           /* type code -> procedure or descriptor */
extern oname *gpnameTableResDef;    /* member and type names */
extern resTD *gpresTDTD;            /* the descriptor of type descriptors */
extern const oresTData oresTDataresTD[];
extern uint32_t gulInitialized;     /* 0xACCEDED once the registry exists */

/*
** oresInitModule
**   First call: creates the registry, registers the system kinds, creates the
**   member-name table and the descriptor of descriptors.  Every call then
**   initialises the name tables' resource type (onameInitModule).
**   Returns 0, 0x88006, or the result of onameInitModule (traced RES0010E).
*/
int oresInitModule(void);

/*
** oresTypeRegisterStatic
**   Builds a descriptor from a static member table and registers it under
**   iType with procSerial.  Returns 0, 0x88008 (a member type not valid),
**   0x80002 (no name), 0x88009 (code not negative), 0x88004, 0x8800a.
*/
int oresTypeRegisterStatic(const oresTData *ptable, int32_t iType, const char *pcName,
                           oresSerialProc procSerial);

/* oresTypeCreate: an empty descriptor, or NULL. */
resTD *oresTypeCreate(void);
/* oresTypeAdd: pushes one member on top; 0, 0x88008 (invalid type), 0x80001. */
int oresTypeAdd(resTD *ptd, int32_t iType, const char *pcName);
/*
** oresTypeRegister
**   Registers a descriptor (the registry owns it afterwards, or frees it when
**   an identical one was there).  Returns 0, 0x80002, 0x88009, 0x88004, 0x8800a.
*/
int oresTypeRegister(resTD *ptd, int32_t iType, const char *pcName, oresSerialProc procSerial);
/* oresTypeClone: a copy with members, code, name and procedure, or NULL. */
resTD *oresTypeClone(const resTD *ptd);
/* oresTypeDestroy: frees a descriptor (NULL ignored). */
void oresTypeDestroy(resTD *ptd);

/* The registered descriptor of a user type, or NULL. */
resTD *_resGetUserType(int32_t iType);
/* The registered procedure of a system code, or NULL. */
oresSerialProc _resGetProc(int32_t iType);
/* Validity: a string code, a registered kind, or a registered user type. */
bool _resIsValidType(int32_t iType);
bool _resIsValidUserType(int32_t iType);

/* Pushes a descriptor's members onto an expectation stack, first member on top. */
void _resPushMembers(ostack *pstack, const resTD *ptd);

/* _resCheckResize: makes room for n more bytes.  0 or 0x80001. */
int _resCheckResize(ores *pres, uint32_t ulN);

void *_resIntegerSerialProc(ores *pres, int32_t iType, void *pvValue, int iPut, int *prc);
void *_resCharSerialProc(ores *pres, int32_t iType, void *pvValue, int iPut, int *prc);
void *_resRepeatSerialProc(ores *pres, int32_t iType, void *pvValue, int iPut, int *prc);
void *_resTDSerialProc(ores *pres, int32_t iType, void *pvValue, int iPut, int *prc);

/*
** oresDumpFormated
**   Reads the whole resource through its expectations (consuming it) and
**   prints every value, indented, to pfile (strings to "$RESD" when pfile is
**   NULL).  pstack: the expectations to walk, NULL for the resource's own.
**   Returns 0 or the first reason code met.
*/
int oresDumpFormated(ores *pres, ostack *pstack, FILE *pfile, int iIndent);
int oresDumpScalar(ores *pres, int32_t iType, ostack *pstack, FILE *pfile, int iIndent);
void _resDumpTypeDescription(const resTD *ptd, FILE *pfile, int iIndent);

#endif
