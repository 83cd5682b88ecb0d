/*
** db2backup.h
**   Writer of small backup images of known content, for tests and for the
**   sample instance: a media header, then objects (512-byte object header
**   and data) cut into buffers of the image's buffer size, with the helpers
**   that build the data of the objects the reader interprets (table-space
**   list, table-space definition) and DB2 pages (slot directory, records,
**   torn-page stamping).  The layouts are those of storage/zorbk.h and
**   storage/ficdata.h; every integer is written little-endian.  Header
**   only; no state outside the image being built.
*/
#ifndef ZAV_TOOLS_DB2BACKUP_H
#define ZAV_TOOLS_DB2BACKUP_H

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/obyte.h"

typedef std::vector<unsigned char> db2backupBytes;

struct db2backupImage {
  db2backupBytes bytes;       /* the image so far */
  uint32_t ulBufferSize;      /* buffer size of the image */
};

/*
** db2backupBegin
**   Starts an image with its 4096-byte media header: release number, code
**   set name and buffer size; with boAlternative the size goes to the
**   alternative field of the release (0x1F0 from release 0x901, else
**   0x1F8) and 0x1D4 stays 0.
*/
inline void db2backupBegin(db2backupImage &image, uint32_t ulBufferSize, uint16_t usRelease = 0x800,
                           const char *pcCodeSet = "IBM-850", bool boAlternative = false)
{
  image.ulBufferSize = ulBufferSize;
  image.bytes.assign(4096, 0);
  unsigned char *p = image.bytes.data();
  std::memcpy(p, "SQLUBRMEDHEAD ", 14);
  obytePutLE16(p + 0x3C, usRelease);
  std::strncpy(reinterpret_cast<char *>(p + 0x96), pcCodeSet, 40);
  if (boAlternative) obytePutLE32(p + (usRelease >= 0x901 ? 0x1F0 : 0x1F8), ulBufferSize);
  else obytePutLE32(p + 0x1D4, ulBufferSize);
}

/* Appends one object: its header (with the qualified table name, blank-padded) and its data. */
inline void db2backupAddObject(db2backupImage &image, int iType, int32_t ilTbsId, uint16_t usObjId,
                               int32_t ilFirstPage, const db2backupBytes &data, uint32_t ulWord = 0,
                               const char *pcQualifiedName = "")
{
  unsigned char auc[512] = {0};
  std::memcpy(auc, "SQLUBROBJHEAD ", 14);
  std::memset(auc + 0x22, ' ', 146);
  std::memcpy(auc + 0x22, pcQualifiedName, std::strlen(pcQualifiedName));
  obytePutLE32(auc + 0x14, static_cast<uint32_t>(data.size()));
  obytePutLE32(auc + 0x18, ulWord);
  obytePutLE16(auc + 0x1C, usObjId);
  auc[0x1E] = static_cast<unsigned char>(iType);
  obytePutLE32(auc + 0x128, static_cast<uint32_t>(ilFirstPage));
  obytePutLE32(auc + 0x12C, static_cast<uint32_t>(ilTbsId));
  image.bytes.insert(image.bytes.end(), auc, auc + 512);
  image.bytes.insert(image.bytes.end(), data.begin(), data.end());
}

/* Appends the 512-byte block that ends an image. */
inline void db2backupAddTail(db2backupImage &image)
{
  unsigned char auc[512] = {0};
  std::memcpy(auc, "SQLUBRCKTAIL  ", 14);
  image.bytes.insert(image.bytes.end(), auc, auc + 512);
}

/* Fills the rest of the current buffer with filler (zero bytes). */
inline void db2backupPadToBuffer(db2backupImage &image)
{
  size_t ulUsed = (image.bytes.size() - 4096) % image.ulBufferSize;
  if (ulUsed != 0) image.bytes.resize(image.bytes.size() + image.ulBufferSize - ulUsed, 0);
}

/* Data of a table-space list: one 72-byte entry per (name, type). */
inline db2backupBytes db2backupLOT(const std::vector<std::pair<std::string, uint32_t>> &vEntries)
{
  db2backupBytes v(72 * vEntries.size(), 0);
  for (size_t i = 0; i < vEntries.size(); i++) {
    std::memcpy(v.data() + 72 * i, vEntries[i].first.c_str(), vEntries[i].first.size() + 1);
    obytePutLE32(v.data() + 72 * i + 24, vEntries[i].second);
  }
  return v;
}

/* Data of a table-space definition: one table-space record (its first 2048 bytes). */
inline db2backupBytes db2backupTbsDef(int16_t isTbsId, uint32_t ulFlags, uint32_t ulExtentSize,
                                      uint32_t ulPageSize, uint32_t ulPages = 0, const char *pcName = "TBS")
{
  db2backupBytes v(2048, 0);
  obytePutLE16(v.data() + 8, static_cast<uint16_t>(isTbsId));
  std::strncpy(reinterpret_cast<char *>(v.data() + 10), pcName, 120);
  obytePutLE32(v.data() + 0x90, ulFlags);
  obytePutLE32(v.data() + 0xA0, ulExtentSize);
  obytePutLE32(v.data() + 0xA4, ulExtentSize);
  obytePutLE32(v.data() + 0x40C, ulPages);
  obytePutLE32(v.data() + 0x410, ulPages);
  obytePutLE32(v.data() + 0x424, 1);
  obytePutLE32(v.data() + 0x434, (ulFlags & 3) == 2 ? 1 : 0);
  obytePutLE32(v.data() + 0x438, ulPageSize);
  return v;
}

/*
** db2backupPage
**   A page of ulPageSize bytes with its object page number at 28, a slot
**   directory at offset 64 and the given records (an empty record stands
**   for an empty slot, -1), laid out after the directory.
*/
inline db2backupBytes db2backupPage(uint32_t ulPageSize, uint32_t ulPageNumber,
                                    const std::vector<db2backupBytes> &vRecords)
{
  db2backupBytes v(ulPageSize, 0);
  const uint16_t o = 64;
  obytePutLE16(v.data(), o);
  obytePutLE32(v.data() + 28, ulPageNumber);
  obytePutLE16(v.data() + o, static_cast<uint16_t>(vRecords.size()));
  size_t ulNext = o + 20 + 2 * vRecords.size();
  for (size_t i = 0; i < vRecords.size(); i++) {
    if (vRecords[i].empty()) {
      obytePutLE16(v.data() + o + 20 + 2 * i, 0xFFFF);
      continue;
    }
    obytePutLE16(v.data() + o + 20 + 2 * i, static_cast<uint16_t>(ulNext - (o + 20)));
    std::memcpy(v.data() + ulNext, vRecords[i].data(), vRecords[i].size());
    ulNext += vRecords[i].size();
  }
  return v;
}

/* A DB2 record: kind, stored length at 2, then the bytes from offset 4 on. */
inline db2backupBytes db2backupRecord(int iKind, const db2backupBytes &vFrom4)
{
  db2backupBytes v(4, 0);
  v[0] = static_cast<unsigned char>(iKind);
  v.insert(v.end(), vFrom4.begin(), vFrom4.end());
  obytePutLE16(v.data() + 2, static_cast<uint16_t>(v.size()));
  return v;
}

/*
** db2backupTearPage
**   Does what DB2 does when it writes a page: saves bit 0 of the first byte
**   of each 512-byte sector in the torn-page words (offset 36, and 40 for
**   32 KB pages; bit k of word w for sector 32w + b - k, b = (sectors - 1)
**   mod 32) and stamps the sectors after the first with bit 0 set.
*/
inline void db2backupTearPage(unsigned char *pPage, uint32_t ulPageSize)
{
  uint32_t s = ulPageSize / 512, b = (s - 1) % 32;
  uint32_t aul[2] = {0, 0};
  for (uint32_t w = 0; w <= (s - 1) / 32; w++)
    for (uint32_t k = 0; k <= b; k++)
      if (pPage[512 * (32 * w + b - k)] & 1) aul[w] |= 1u << k;
  obytePutLE32(pPage + 36, aul[0]);
  if (s > 32) obytePutLE32(pPage + 40, aul[1]);
  for (uint32_t i = 1; i < s; i++) pPage[512 * i] |= 1;
}

/* Writes the image; false when the file cannot be written. */
inline bool db2backupWrite(const db2backupImage &image, const std::string &strPath)
{
  FILE *pfile = std::fopen(strPath.c_str(), "wb");
  if (pfile == nullptr) return false;
  bool boOk = std::fwrite(image.bytes.data(), 1, image.bytes.size(), pfile) == image.bytes.size();
  return std::fclose(pfile) == 0 && boOk;
}

#endif
