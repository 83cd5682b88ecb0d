/*
** obyte.h
**   Byte-order helpers for every layout that leaves memory: files, pipes,
**   shared memory read by another process, sockets.  Values are read and
**   written at any alignment and in the layout's order whatever the host's
**   own order is.  The bounded readers take the end of the buffer and fail
**   instead of reading past it.  Header only; no state.
*/
#ifndef ZAV_COMMON_OBYTE_H
#define ZAV_COMMON_OBYTE_H

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

/*
** Each value is one unaligned load or store (memcpy of its width), byte-swapped
** when the layout's order is not the host's; the compiler turns both into
** single instructions.
*/
inline constexpr bool obyteHostLE = std::endian::native == std::endian::little;

template <typename T> inline T obyteLoad_(const unsigned char *p)
{
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
template <typename T> inline void obyteStore_(unsigned char *p, T v)
{
  std::memcpy(p, &v, sizeof v);
}

inline uint16_t obyteGetLE16(const unsigned char *p)
{
  uint16_t v = obyteLoad_<uint16_t>(p);
  return obyteHostLE ? v : __builtin_bswap16(v);
}
inline uint32_t obyteGetLE32(const unsigned char *p)
{
  uint32_t v = obyteLoad_<uint32_t>(p);
  return obyteHostLE ? v : __builtin_bswap32(v);
}
inline uint64_t obyteGetLE64(const unsigned char *p)
{
  uint64_t v = obyteLoad_<uint64_t>(p);
  return obyteHostLE ? v : __builtin_bswap64(v);
}
inline uint16_t obyteGetBE16(const unsigned char *p)
{
  uint16_t v = obyteLoad_<uint16_t>(p);
  return obyteHostLE ? __builtin_bswap16(v) : v;
}
inline uint32_t obyteGetBE32(const unsigned char *p)
{
  uint32_t v = obyteLoad_<uint32_t>(p);
  return obyteHostLE ? __builtin_bswap32(v) : v;
}
inline uint64_t obyteGetBE64(const unsigned char *p)
{
  uint64_t v = obyteLoad_<uint64_t>(p);
  return obyteHostLE ? __builtin_bswap64(v) : v;
}

inline void obytePutLE16(unsigned char *p, uint16_t v)
{
  obyteStore_(p, obyteHostLE ? v : __builtin_bswap16(v));
}
inline void obytePutLE32(unsigned char *p, uint32_t v)
{
  obyteStore_(p, obyteHostLE ? v : __builtin_bswap32(v));
}
inline void obytePutLE64(unsigned char *p, uint64_t v)
{
  obyteStore_(p, obyteHostLE ? v : __builtin_bswap64(v));
}
inline void obytePutBE16(unsigned char *p, uint16_t v)
{
  obyteStore_(p, obyteHostLE ? __builtin_bswap16(v) : v);
}
inline void obytePutBE32(unsigned char *p, uint32_t v)
{
  obyteStore_(p, obyteHostLE ? __builtin_bswap32(v) : v);
}
inline void obytePutBE64(unsigned char *p, uint64_t v)
{
  obyteStore_(p, obyteHostLE ? __builtin_bswap64(v) : v);
}

/*
** Bounded readers: read a value at p only when [p, p+size) lies before
** pEnd.  Return false, leaving *pv alone, when the buffer ends early.
*/
inline bool obyteReadLE16(const unsigned char *p, const unsigned char *pEnd, uint16_t *pv)
{
  if (p == nullptr || pEnd < p || pEnd - p < 2) return false;
  *pv = obyteGetLE16(p);
  return true;
}
inline bool obyteReadLE32(const unsigned char *p, const unsigned char *pEnd, uint32_t *pv)
{
  if (p == nullptr || pEnd < p || pEnd - p < 4) return false;
  *pv = obyteGetLE32(p);
  return true;
}
inline bool obyteReadLE64(const unsigned char *p, const unsigned char *pEnd, uint64_t *pv)
{
  if (p == nullptr || pEnd < p || pEnd - p < 8) return false;
  *pv = obyteGetLE64(p);
  return true;
}
inline bool obyteReadBE16(const unsigned char *p, const unsigned char *pEnd, uint16_t *pv)
{
  if (p == nullptr || pEnd < p || pEnd - p < 2) return false;
  *pv = obyteGetBE16(p);
  return true;
}
inline bool obyteReadBE32(const unsigned char *p, const unsigned char *pEnd, uint32_t *pv)
{
  if (p == nullptr || pEnd < p || pEnd - p < 4) return false;
  *pv = obyteGetBE32(p);
  return true;
}
inline bool obyteReadBE64(const unsigned char *p, const unsigned char *pEnd, uint64_t *pv)
{
  if (p == nullptr || pEnd < p || pEnd - p < 8) return false;
  *pv = obyteGetBE64(p);
  return true;
}

#endif
