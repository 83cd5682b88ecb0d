/*
** bkimage.h
**   What the backup-image tests share: freeing the backup object the
**   program keeps until it ends, a space-map (EMP) page, and the DMS table
**   space whose table has a long-field and a LOB object.  Header only.
*/
#ifndef ZAV_TESTS_STORAGE_BKIMAGE_H
#define ZAV_TESTS_STORAGE_BKIMAGE_H

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "common/obyte.h"
#include "common/ochaine.h"
#include "common/ochar.h"
#include "storage/zorbk.h"
#include "tools/db2backup.h"

/* Frees a backup object and closes its file (in the program it lives until exit); NULL is ignored. */
inline void bkimageFree(zorbk *pzorbk)
{
  if (pzorbk == nullptr) return;
  close(pzorbk->iFd);
  ocharDestroy(pzorbk->pcharFileName);
  ocharDestroy(pzorbk->pcharAlias);
  std::free(pzorbk->pucMediaHeader);
  std::free(pzorbk->pindex);
  std::free(pzorbk->pucLOT);
  ochaineDestroy(pzorbk->pchaineTbsDef);
  std::free(pzorbk);
}

/*
** A space-map page of ulPage bytes: the header offset 64 in its first two
** bytes, the entry count at 64 + 12, the entries (first pages of the
** extents) from 64 + 40; torn as DB2 writes it when boTear.
*/
inline db2backupBytes bkimageEmpPage(uint32_t ulPage, const std::vector<uint32_t> &vEntries, bool boTear)
{
  db2backupBytes v(ulPage, 0);
  const uint16_t o = 64;
  obytePutLE16(v.data(), o);
  obytePutLE32(v.data() + o + 12, static_cast<uint32_t>(vEntries.size()));
  for (size_t i = 0; i < vEntries.size(); i++) obytePutLE32(v.data() + o + 40 + 4 * i, vEntries[i]);
  if (boTear) db2backupTearPage(v.data(), ulPage);
  return v;
}

/*
** The first 36 pages of DMS table space 3, extent size 4, as far as they
** are the same for every test of long data: object table at 4 (table 5),
** the table's data EMP at 8 (data from 12), its long-field EMP at 16 with
** object extents at pages 24 and 20 (out of order), its LOB EMP at 28 (data
** at 32), empty EMPs after each, the data pages themselves zero.
*/
inline std::vector<db2backupBytes> bkimageDmsLongSpace(uint32_t ulPage)
{
  std::vector<db2backupBytes> vPages(36, db2backupBytes(ulPage, 0));
  vPages[1] = bkimageEmpPage(ulPage, {4}, true);
  db2backupBytes vHeader(8, 0);
  obytePutLE32(vHeader.data(), 1);
  db2backupBytes vRecord(148, 0);
  obytePutLE16(vRecord.data() + 4, 3);
  obytePutLE16(vRecord.data() + 6, 5);
  obytePutLE32(vRecord.data() + 8, 8);
  obytePutLE32(vRecord.data() + 16, 12);
  obytePutLE16(vRecord.data() + 64, 3);
  obytePutLE16(vRecord.data() + 66, 5);
  obytePutLE32(vRecord.data() + 68, 16);
  obytePutLE16(vRecord.data() + 88, 3);
  obytePutLE16(vRecord.data() + 90, 5);
  obytePutLE32(vRecord.data() + 92, 28);
  vPages[4] = db2backupPage(ulPage, 0, {db2backupRecord(0, vHeader), {}, {}, {}, {}, db2backupRecord(0, vRecord)});
  db2backupTearPage(vPages[4].data(), ulPage);
  vPages[8] = bkimageEmpPage(ulPage, {12}, true);
  vPages[16] = bkimageEmpPage(ulPage, {24, 20}, true);
  vPages[28] = bkimageEmpPage(ulPage, {32}, true);
  for (int k : {9, 10, 11, 17, 18, 19, 29, 30, 31}) vPages[k] = bkimageEmpPage(ulPage, {}, true);
  return vPages;
}

#endif
