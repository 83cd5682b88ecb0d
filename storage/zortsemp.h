/*
** zortsemp.h
**   Layout constants of a DMS table space's extent maps and object table.
**   The walk of an extent map (EMP iterator), the page lookup and the
**   object-table lookup through a table-space object are declared with the
**   object in zorts.h and built in zortsemp.cpp; the first-generation
**   readers (ficdmsemp.h) read the same layouts.
**
**   EMP page (o = u16 at page offset 0, the page's slot-directory offset;
**   all integers little-endian):
**
**     OFFSET     SIZE  DESCRIPTION
**       o + 0      4   version
**       o + 4      4   level: 0 direct or indirect page, 2 double-indirect page
**       o + 8      4   unFmtChild
**       o + 12     4   n_entries: entries used on this page (at most K)
**       o + 16    24   not interpreted
**       o + 40   4*n   allocations[i]: table-space page of the first page of an
**                      extent (a multiple of the extent size X)
**
**   Extent map of an object, starting at its first EMP page (the first page
**   of its first EMP extent, X pages):
**     pages 0 .. X-2 of the first EMP extent   direct pages
**     page X-1 of the first EMP extent         indirect page (level 0):
**                                              entries 0 .. E-1 address
**                                              extents of X direct pages,
**                                              entries E .. K-1 extents of X
**                                              double-indirect pages (level
**                                              2), whose entries address
**                                              extents of X direct pages
**   The object's data extents are the direct pages' entries in that order;
**   object page p lies in data extent p / X at page p % X.  Empty direct
**   pages (n_entries 0) are holes that the walk steps over.
**
**     page size   E (single-indirect)   K = E + 16 (entries per page)
**       4096            984                  1000
**       8192           2010                  2026
**      16384           4058                  4074
**      32768           8154                  8170
**
**   Object table: an object whose first EMP page is table-space page 1,
**   laid out as a table (object page 0: data-file header in slot 0, records
**   from slot 1; other pages: records in every slot).  The record of an
**   object starts 4 bytes into the DB2 record of its slot; current layout,
**   148 bytes:
**
**     OFFSET  SIZE  DESCRIPTION
**        2      1   layout marker: 'O' = old layout (converted first)
**        3      1   0 = the long-field and LOB objects below belong to the table
**        4      2   data object: table-space id
**        6      2   data object: object id
**        8      4   data object: first EMP page
**       16      4   data object: first data page (table-space page of object page 0)
**       64      2   long-field object: table-space id
**       66      2   long-field object: object id (0 = none)
**       68      4   long-field object: first EMP page
**       88      2   LOB object: table-space id
**       90      2   LOB object: object id (0 = none)
**       92      4   LOB object: first EMP page
*/
#ifndef ZAV_STORAGE_ZORTSEMP_H
#define ZAV_STORAGE_ZORTSEMP_H

#include "storage/zorts.h"

/* EMP page, from its slot-directory offset (the rest are in zorts.h). */
#ifndef ZORTS_EMP_VERSION
#define ZORTS_EMP_VERSION      0
#endif
#ifndef ZORTS_EMP_UNFMTCHILD
#define ZORTS_EMP_UNFMTCHILD   8
#endif

/* Object-table record: the current layout is 148 bytes. */
#ifndef ZORTS_OBJTAB_CURRENT_SIZE
#define ZORTS_OBJTAB_CURRENT_SIZE 148
#endif
#ifndef ZORTS_OBJTAB_OLD_SIZE
#define ZORTS_OBJTAB_OLD_SIZE     126   /* bytes an old-layout record must hold */
#endif
#ifndef ZORTS_OBJTAB_OWNLONG
#define ZORTS_OBJTAB_OWNLONG      3
#endif
#ifndef ZORTS_OBJTAB_DAT_TBSID
#define ZORTS_OBJTAB_DAT_TBSID    4
#endif
#ifndef ZORTS_OBJTAB_DAT_OBJID
#define ZORTS_OBJTAB_DAT_OBJID    6
#endif
#ifndef ZORTS_OBJTAB_DAT_EMP
#define ZORTS_OBJTAB_DAT_EMP      8
#endif
#ifndef ZORTS_OBJTAB_DAT_FIRST
#define ZORTS_OBJTAB_DAT_FIRST    16
#endif
#ifndef ZORTS_OBJTAB_LF_TBSID
#define ZORTS_OBJTAB_LF_TBSID     64
#endif
#ifndef ZORTS_OBJTAB_LF_OBJID
#define ZORTS_OBJTAB_LF_OBJID     66
#endif
#ifndef ZORTS_OBJTAB_LF_EMP
#define ZORTS_OBJTAB_LF_EMP       68
#endif
#ifndef ZORTS_OBJTAB_LOB_TBSID
#define ZORTS_OBJTAB_LOB_TBSID    88
#endif
#ifndef ZORTS_OBJTAB_LOB_OBJID
#define ZORTS_OBJTAB_LOB_OBJID    90
#endif
#ifndef ZORTS_OBJTAB_TBSFLAG
#define ZORTS_OBJTAB_TBSFLAG      0x100 /* descriptor flag of 4 KB object-table positions */
#endif

#endif
