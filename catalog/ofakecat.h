/*
** ofakecat.h
**   Row types of the stored catalogue file: one user type of the typed
**   resource store (common/ores.h, common/orestype.h) per catalogue table
**   and DB2 release, with its member list and the serial procedure that
**   moves one row between its in-memory record image and the store's
**   big-endian typed values.  The stored catalogue reader (catalog/odb2x2.h)
**   registers the types through ofakecatInitModule and reads rows through
**   oresGet; the write direction fixes what a file must hold to be read.
**
**   Type code: 0x80140000 | obid << 4 | (major release - 3); 0x80140000
**   itself is the row header "sysibm_header".  Release 6 codes end in 3,
**   release 7 codes in 4.
**
**   Record image (in memory, see odb2x2.h): a 6-byte header {Flags i8,
**   Size i16, Obid i16, MapId i8}, host order, then the record: one
**   pointer-sized slot per child-slot row of the table (a chain of child
**   record images, or 0), then the columns packed without alignment in
**   member order: C n / B n n bytes, I8/I16/I32 in host order, F8 8 bytes,
**   V an i16 length and that many bytes.  The serial procedures take and
**   return the record pointer, 6 bytes past the header.  In the file the
**   slots count 4 bytes each in Size; in memory they are pointer-sized and
**   Size counts the in-memory image.
**
**   A row read from a file is checked before it is trusted: a Size too
**   small for the slots or the columns that follow, a negative length, or a
**   varying value longer than the column's maximum never makes the
**   procedure write outside the image (OFAKECAT_RC_DAMAGED).
**
**   One thread; the registry of the store lives until exit.
*/
#ifndef ZAV_CATALOG_OFAKECAT_H
#define ZAV_CATALOG_OFAKECAT_H

#include <cstdint>

#include "common/oreason.h"
#include "common/orestype.h"

struct ores;

/* Header type and row-type construction. */
#define OFAKECAT_TYPE_HEADER  ((int32_t)0x80140000u)
#define OFAKECAT_TYPE(obid, major) \
  ((int32_t)(0x80140000u | ((uint32_t)(obid) << 4) | (uint32_t)((major) - 3)))

/* Member types of the row types. */
#define OFAKECAT_M_I8     0x110000
#define OFAKECAT_M_I16    0x130000
#define OFAKECAT_M_I32    0x150000
#define OFAKECAT_M_F8     0x180008
#define OFAKECAT_M_C(n)   (0x40000000 | ((n) << 16))
#define OFAKECAT_M_B(n)   (0x40000000 | ((n) << 16) | 0xFFFF)
#define OFAKECAT_M_V      0x40000000
#define OFAKECAT_M_COUNT  0x410000

/* Size of the header of a record image. */
#define OFAKECAT_HEADER_SIZE 6

/* A stored row whose sizes or lengths do not fit its image. */
#define OFAKECAT_RC_DAMAGED ORC_MAKE(0x1a2, 2, 1)

/* Member lists (tables of the store, ended by a row of type 0). */
extern const oresTData oresTDatasysibm_header[];
extern const oresTData oresTDatasystablespacesV6[];
extern const oresTData oresTDatasystablespacesV7[];
extern const oresTData oresTDatasystablesV6[];
extern const oresTData oresTDatasystablesV7[];
extern const oresTData oresTDatasyscolumnsV6[];
extern const oresTData oresTDatasyscolumnsV7[];
extern const oresTData oresTDatasysrelsV6[];
extern const oresTData oresTDatasyslinksV7[];
extern const oresTData oresTDatasysforeignkeysV7[];
extern const oresTData oresTDatasystablepartV6[];
extern const oresTData oresTDatasystablepartV7[];
extern const oresTData oresTDatasysindexesV6[];
extern const oresTData oresTDatasysindexesV7[];
extern const oresTData oresTDatasysindexpartV6[];
extern const oresTData oresTDatasysindexpartV7[];
extern const oresTData oresTDatasyskeysV7[];
/* The view tables (looked up by the control step through index DSNVTH01). */
extern const oresTData oresTDatasysvtreeV6[];
extern const oresTData oresTDatasysvtreeV7[];
extern const oresTData oresTDatasysvltreeV7[];
extern const oresTData oresTDatasysviewsV6[];
extern const oresTData oresTDatasysviewsV7[];
extern const oresTData oresTDatasysviewdepV6[];
extern const oresTData oresTDatasysviewdepV7[];

/*
** ofakecatInitModule
**   Initialises the resource store module and registers every row type
**   (registering again is accepted by the store, so each call does it).
**   Returns 0, the error of oresInitModule, or the first registration that
**   failed.
*/
int ofakecatInitModule(void);

/*
** Serial procedures, called by the store for their types:
**   (resource, type code, record or NULL, direction 1 put / 0 get, &rc).
** Putting writes the record whose header lies 6 bytes before it; getting
** reads a row into a new image (record NULL) and returns its record
** pointer.  Returns the record, or NULL with *prc set (store codes, or
** OFAKECAT_RC_DAMAGED).
*/
void *_fakecatHeaderSerial(ores *pres, int32_t iType, void *pvValue, int iPut, int *prc);
void *_fakecatTablespaceSerial(ores *pres, int32_t iType, void *pvValue, int iPut, int *prc);
void *_fakecatTablesSerial(ores *pres, int32_t iType, void *pvValue, int iPut, int *prc);
void *_fakecatColumnsSerial(ores *pres, int32_t iType, void *pvValue, int iPut, int *prc);
void *_fakecatRelsSerial(ores *pres, int32_t iType, void *pvValue, int iPut, int *prc);
void *_fakecatIndexesSerial(ores *pres, int32_t iType, void *pvValue, int iPut, int *prc);
void *_fakecatTablepartSerial(ores *pres, int32_t iType, void *pvValue, int iPut, int *prc);
void *_fakecatIndexpartSerial(ores *pres, int32_t iType, void *pvValue, int iPut, int *prc);
void *_fakecatLinksSerial(ores *pres, int32_t iType, void *pvValue, int iPut, int *prc);
void *_fakecatForeignkeysSerial(ores *pres, int32_t iType, void *pvValue, int iPut, int *prc);
void *_fakecatKeysSerial(ores *pres, int32_t iType, void *pvValue, int iPut, int *prc);
void *_fakecatVtreeSerial(ores *pres, int32_t iType, void *pvValue, int iPut, int *prc);
void *_fakecatVltreeSerial(ores *pres, int32_t iType, void *pvValue, int iPut, int *prc);
void *_fakecatViewsSerial(ores *pres, int32_t iType, void *pvValue, int iPut, int *prc);
void *_fakecatViewdepSerial(ores *pres, int32_t iType, void *pvValue, int iPut, int *prc);

#endif
