/*
** ores.h
**   Typed resources: one structured value serialised into a byte buffer,
**   built by appending values one by one and read back the same way, each
**   value checked against the declaration of the resource's type (an
**   expectation stack of (type code, member name) pairs, the next one on
**   top).  Resources are stored under names in the dictionaries of a
**   resource file (orscs.h) and loaded back by name.  Everything written is
**   big-endian on every host.  The type registry and serial procedures are in
**   orestype.h, floats in oreal.h.  One thread.
**
**   Type codes (32 bits):
**     negative                         user type, registered with a descriptor
**     0x40000000 + len << 16 + CCSID   string: len 1-255 fixed, 0 length-prefixed;
**                                      CCSID 0 = the resource's, 0xFFFF binary
**     0x00010000                       type descriptor
**     0x00100000 / 0x00110000          unsigned / signed 8-bit integer
**     0x00120000 / 0x00130000          unsigned / signed 16-bit integer
**     0x00140000 / 0x00150000          unsigned / signed 32-bit integer
**     0x00180000 + form                float: 4, 5, 6 four bytes; 8, 9, 10 eight
**     0x00200000                       dictionary (a file block, never a value)
**     0x00300000                       array (reserved)
**     0x00400000 + m << 8 + count      repeat the m following members
**     0x00410000 + count               repeat the next member (count 0: stored)
**     0x00420000 + m << 8 + count      as 0x00400000 (oresPutArrayVar)
**     0x00430000                       accepted, nothing stored
**
**   Reason codes (module 8): 0x80001 memory, 0x80002 missing argument or not a
**   dictionary, 0x88001 read past the end, 0x88002 name not in the dictionary,
**   0x88003 put without a value, 0x88004 member type not declared, 0x88005 user
**   code not negative, 0x88006 module cannot start, 0x88008 invalid type or no
**   resource, 0x88009 user registration of a system code, 0x8800a other
**   members, 0x8800b nothing expected, 0x8800c put of another type, 0x8800d get
**   of another type, 0x8800e repetition without member, 0x8800f count differs,
**   0x88010 store of an incomplete resource, 0x88011 dictionary in shared use,
**   0x88012 user type without serial procedure.  Names longer than 255 bytes
**   are refused with 0x10002.
*/
#ifndef ZAV_COMMON_ORES_H
#define ZAV_COMMON_ORES_H

#include <cstdint>
#include "common/odict.h"
#include "common/orscs.h"

struct ostack;
struct ochar;

#define ORES_RC_NOMEM       0x80001   /* no memory for a resource */
#define ORES_RC_NOARG       0x80002   /* a resource argument is missing or not a dictionary */
#define ORES_RC_EOD         0x88001
#define ORES_RC_NONAME      0x88002
#define ORES_RC_NOVALUE     0x88003
#define ORES_RC_UNDECLARED  0x88004
#define ORES_RC_NOTNEG      0x88005
#define ORES_RC_INIT        0x88006
#define ORES_RC_BADTYPE     0x88008
#define ORES_RC_SYSTYPE     0x88009
#define ORES_RC_REDEFINED   0x8800a
#define ORES_RC_UNEXPECTED  0x8800b
#define ORES_RC_PUTTYPE     0x8800c
#define ORES_RC_GETTYPE     0x8800d
#define ORES_RC_NOMEMBER    0x8800e
#define ORES_RC_COUNT       0x8800f
#define ORES_RC_INCOMPLETE  0x88010
#define ORES_RC_SHARED      0x88011
#define ORES_RC_NOPROC      0x88012

#define ORES_TYPE_TD        0x00010000
#define ORES_TYPE_U8        0x00100000
#define ORES_TYPE_I8        0x00110000
#define ORES_TYPE_U16       0x00120000
#define ORES_TYPE_I16       0x00130000
#define ORES_TYPE_U32       0x00140000
#define ORES_TYPE_I32       0x00150000
#define ORES_TYPE_FLOAT     0x00180000
#define ORES_TYPE_DICT      0x00200000
#define ORES_TYPE_ARRAY     0x00300000
#define ORES_TYPE_REPGROUP  0x00400000
#define ORES_TYPE_REPNEXT   0x00410000
#define ORES_TYPE_REPVAR    0x00420000
#define ORES_TYPE_REPNONE   0x00430000
#define ORES_TYPE_STRING    0x40000000

#define ORES_FLAG_CCSID     0x0000FFFFu
#define ORES_FLAG_FLOATMODE 0x00030000u
#define ORES_DEFAULT_FLAGS  0x00010352u   /* CCSID 850, float mode 1 */

/* A typed resource. */
struct ores {
  uint32_t rba;               /* its block, 0 while not stored */
  int32_t resType;
  orscs *prscs;               /* set when stored or loaded */
  oresdict *pdict;            /* set when stored or loaded */
  uint32_t ulFlags;           /* CCSID bits 0-15, float mode bits 16-17 */
  ostack *pstackExpect;       /* pairs: type code pushed first, member name on top */
  uint32_t ulBufferSize;
  uint32_t ulDataLength;
  uint32_t ulReadPos;
  unsigned char *pData;
};

/* Caller-owned cursor over the names of a dictionary, in hash order. */
struct oresDictCursor {
  oresdict *pdict;
  odictcursor cursor;
};

/* Repetition record of oresPutArrayVar. */
struct oresArrayVar {
  uint32_t ulCount;
  uint32_t ulPerRound;
};

/* Normalises creation flags: CCSID 0 -> 850, float mode 1 unless one is set. */
uint32_t _resDefaultFlags(uint32_t ulFlags);

/*
** oresCreate
**   A new empty resource of a registered type with a zeroed buffer of ulSize
**   bytes (10 when 0), expecting (iType, none).  NULL (RES0003E) for an
**   unknown type, or when memory runs out.
*/
ores *oresCreate(int32_t iType, uint32_t ulSize, uint32_t ulFlags);
/* oresDestroy: frees the buffer and the resource. */
void oresDestroy(ores *pres);

/*
** oresPut
**   Appends a value of type iType (checked against the next expectation).
**   Returns 0 or a reason code (0x88008, 0x8800b, 0x8800c, 0x88012, or the
**   serial procedure's).
*/
int oresPut(ores *pres, int32_t iType, void *pvValue);
/*
** oresGet
**   Reads the next value of type iType into pvValue, or into a new value when
**   pvValue is NULL.  Returns the value pointer, or NULL with *prc set.
**   Callers set *prc to 0 first.
*/
void *oresGet(ores *pres, int32_t iType, void *pvValue, int *prc);

int oresPutLong(ores *pres, int32_t lValue);
int oresGetLong(ores *pres, int32_t *plValue);
int oresPutShort(ores *pres, int16_t sValue);
int oresGetShort(ores *pres, int16_t *psValue);
int oresPutByte(ores *pres, int8_t cValue);
int oresGetByte(ores *pres, int8_t *pcValue);
int oresPutFloat(ores *pres, float fValue);
int oresGetFloat(ores *pres, float *pfValue);
int oresPutDouble(ores *pres, double dValue);
int oresGetDouble(ores *pres, double *pdValue);
int oresPutChar(ores *pres, ochar *pchar);
int oresGetChar(ores *pres, ochar *pchar);
int oresPutoChar(ores *pres, ochar *pchar);
int oresGetoChar(ores *pres, ochar *pchar);
int oresPutCharFromC(ores *pres, const char *pcText);
/* Returns the buffer (a new one when pcBuffer is NULL), NUL-terminated, or NULL.
   A caller's buffer too small for the text is grown with realloc: it must
   come from malloc, and the result replaces it. */
char *oresGetCharToC(ores *pres, char *pcBuffer, uint32_t ulSize);
int oresPutCharFixed(ores *pres, const void *pvBuffer, uint32_t ulBufferSize, uint32_t ulN);
int oresGetCharFixed(ores *pres, void *pvBuffer, uint32_t ulBufferSize, uint32_t ulN);
int oresPutCharFixedFBD(ores *pres, const void *pvBuffer, uint32_t ulBufferSize, uint32_t ulN);
int oresGetCharFixedFBD(ores *pres, void *pvBuffer, uint32_t ulBufferSize, uint32_t ulN);
int oresPutArray(ores *pres, uint32_t ulCount, uint32_t ulPerRound);
int oresGetArray(ores *pres, uint32_t *pulCount, uint32_t ulPerRound);
int oresPutArrayVar(ores *pres, oresArrayVar *pvar);

/* oresIsValidUserType: true for a negative registered code. */
bool oresIsValidUserType(int32_t iType);
/* oresSetTrace: does nothing; returns 0. */
int oresSetTrace(int iOn);

/*
** oresStoreNamed
**   Stores a complete resource under pcName in pdict (NULL resource: releases
**   the block the name holds).  Returns 0, 0x88010 for an incomplete
**   resource, 0x10002 for a name over 255 bytes, or the file's code when the
**   data cannot be written (the name is then not added).
*/
int oresStoreNamed(oresdict *pdict, const char *pcName, ores *pres);
/* oresLoadNamed: the resource under pcName, ready for reading, or NULL (RES0001E). */
ores *oresLoadNamed(oresdict *pdict, const char *pcName);
/* oresIsExist: true when the name exists and has a block. */
bool oresIsExist(oresdict *pdict, const char *pcName);
/* oresCreateDict: a new empty sub-dictionary under pcName, or NULL. */
oresdict *oresCreateDict(oresdict *pdict, const char *pcName, uint32_t ulFlags);
/* oresLoadDict: the sub-dictionary under pcName (reference + 1), or NULL (RES0005E). */
oresdict *oresLoadDict(oresdict *pdict, const char *pcName);
/* oresRemoveDict: removes a sub-dictionary and all it holds; 0, 0x88002, 0x80002, 0x88011. */
int oresRemoveDict(oresdict *pdict, const char *pcName);
/* oresStoreDict: rewrites the dictionary's blocks now; 0 or the file's code. */
int oresStoreDict(oresdict *pdict);
/* oresdictDestroy: drops one reference; frees on one release more than loads. */
void oresdictDestroy(oresdict *pdict);

void oresDictCursorInit(oresDictCursor *pcursor, oresdict *pdict);
void oresDictCursorNext(oresDictCursor *pcursor);
const char *oresDictCursorGetName(oresDictCursor *pcursor);
uint32_t oresDictCursorGetType(oresDictCursor *pcursor);
ores *oresDictCursorLoad(oresDictCursor *pcursor);
oresdict *oresDictCursorLoadDict(oresDictCursor *pcursor);
orscsArray *oresDictCursorLoadArray(oresDictCursor *pcursor);
void oresDictCursorDestroy(oresDictCursor *pcursor);

/* oresStoreAt: stores a resource without block and records its rba in a slot. */
int oresStoreAt(orscsArray *parray, uint32_t ulIndex, ores *pres);

#endif
