/*
** zortsdesc.h
**   The table-space object's reading of a table's first page (object page
**   0): the data-file header in slot 0, the table directory record in slot
**   2 and the table descriptor in slot 3, possibly through one pointer
**   record, with the record layouts of storage/ficdata.h.  The object itself
**   is declared in storage/zorts.h; its creation opens the data page source
**   and then calls these in that order while each returns 0.
*/
#ifndef ZAV_STORAGE_ZORTSDESC_H
#define ZAV_STORAGE_ZORTSDESC_H

#include <cstdint>

struct zorts;

/*
** zortsGetTBDesc
**   Builds the object's table description from slot 3 of object page 0
**   (the object's page size in bytes at pcPage); a pointer record there is
**   followed once, reading the page it names through the read-absolute slot
**   with torn-page restoration.  Stores the fixed-part length and the
**   largest unload record size in the object.
**   Returns 0, or -1 when no description results: the slot (or the one
**   pointed to) holds no normal or overflow record, the pointed-to page
**   cannot be read, or the page or record is damaged.
*/
int zortsGetTBDesc(zorts *pzorts, const unsigned char *pcPage);

/*
** zortsGetDataFileHeader
**   Stores in the object the page count of the data-file header record
**   (slot 0 of object page 0: u32 at record offset 4).
**   Returns 0, or -1 when slot 0 holds no record inside the page.
*/
int zortsGetDataFileHeader(zorts *pzorts, const unsigned char *pcPage);

/*
** zortsGetTDirRec
**   Locates the table directory record (slot 2 of object page 0); it is not
**   interpreted.  Returns 0, or -1 when slot 2 holds no record inside the
**   page.
*/
int zortsGetTDirRec(zorts *pzorts, const unsigned char *pcPage);

#endif
