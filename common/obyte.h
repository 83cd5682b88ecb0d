/*
** obyte.h
**   Byte-order helpers for every layout that leaves memory: files, pipes,
**   shared memory read by another process, sockets.  Values are assembled
**   byte by byte, so the host's own order and alignment never matter.  The
**   bounded readers take the end of the buffer and fail instead of reading
**   past it.  Header only; no state.
*/
#ifndef ZAV_COMMON_OBYTE_H
#define ZAV_COMMON_OBYTE_H

#include <cstddef>
#include <cstdint>

inline uint16_t obyteGetLE16(const unsigned char *p)
{
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t obyteGetLE32(const unsigned char *p)
{
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
inline uint64_t obyteGetLE64(const unsigned char *p)
{
  return static_cast<uint64_t>(obyteGetLE32(p)) |
         static_cast<uint64_t>(obyteGetLE32(p + 4)) << 32;
}
inline uint16_t obyteGetBE16(const unsigned char *p)
{
  return static_cast<uint16_t>(p[0] << 8 | p[1]);
}
inline uint32_t obyteGetBE32(const unsigned char *p)
{
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
         static_cast<uint32_t>(p[2]) << 8 | static_cast<uint32_t>(p[3]);
}
inline uint64_t obyteGetBE64(const unsigned char *p)
{
  return static_cast<uint64_t>(obyteGetBE32(p)) << 32 | obyteGetBE32(p + 4);
}

inline void obytePutLE16(unsigned char *p, uint16_t v)
{
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}
inline void obytePutLE32(unsigned char *p, uint32_t v)
{
  for (int i = 0; i < 4; i++) p[i] = static_cast<unsigned char>(v >> (8 * i));
}
inline void obytePutLE64(unsigned char *p, uint64_t v)
{
  for (int i = 0; i < 8; i++) p[i] = static_cast<unsigned char>(v >> (8 * i));
}
inline void obytePutBE16(unsigned char *p, uint16_t v)
{
  p[0] = static_cast<unsigned char>(v >> 8);
  p[1] = static_cast<unsigned char>(v);
}
inline void obytePutBE32(unsigned char *p, uint32_t v)
{
  for (int i = 0; i < 4; i++) p[i] = static_cast<unsigned char>(v >> (24 - 8 * i));
}
inline void obytePutBE64(unsigned char *p, uint64_t v)
{
  for (int i = 0; i < 8; i++) p[i] = static_cast<unsigned char>(v >> (56 - 8 * i));
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
