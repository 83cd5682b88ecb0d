/*
** ficdb2.h
**   Two services of every page reader: restoring the torn-page bits of a page
**   just read (DB2 saves bit 0 of each 512-byte sector's first byte in the
**   page header and stamps the sectors while writing), and the access test
**   of a container file under the exchanged real and effective user ids.
**   No state.
*/
#ifndef ZAV_STORAGE_FICDB2_H
#define ZAV_STORAGE_FICDB2_H

#include <cstdint>

/*
** ficdb2RestaureBits
**   Restores in place bit 0 of the first byte of each sector of a page of
**   ilPageSize bytes from the saved words at pcSaved (little-endian u32:
**   word 0, then word 1, read for 32 KB pages only).  With s sectors,
**   L = s - 1 and b = L mod 32: bit b of word 0 first takes bit 0 of page
**   byte 0 (so sector 0 keeps its own bit; pcSaved may point at the page's
**   own words, offset 36, which are then changed); then for each word w
**   and k = 0..b, sector 32w + b - k gets bit k of word w.
**   Returns 0, or ORC_INVALID for a size that is not a DB2 page size.
*/
int ficdb2RestaureBits(unsigned char *pcPage, int32_t ilPageSize, unsigned char *pcSaved);

/*
** ficdb2ControlFileAccess
**   Tries to open the file for reading with the real and effective user
**   ids exchanged, then exchanges them back.
**   Returns 0 when it opened, -2 when access was denied (EACCES), -1 for
**   any other failure.
*/
int ficdb2ControlFileAccess(const char *pcPath);

#endif
