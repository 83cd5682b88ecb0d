/*
** zorucorefmt.h
**   Text of numbers, packed decimals and packed date/time digits, shared by
**   the DEL and IXF column converters (run/zorucoredel.h, run/zorucoreixf.h)
**   and the row programs (run/zorucoreprog.h).  The routines work on whole
**   machine words (eight digits or sixteen nibbles at a time) instead of one
**   digit after the other.
**
**   Writing past the text.  The routines whose comment says so may write up
**   to ZORUCOREFMT_SLACK bytes after the end of the text they return (bytes
**   a later write replaces, or that lie past the row's cursor); their caller
**   gives them that much room more than the text can take.  Every routine
**   reads only the bytes it is given.
**
**   Stateless; any thread.
*/
#ifndef ZAV_RUN_ZORUCOREFMT_H
#define ZAV_RUN_ZORUCOREFMT_H

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "common/obyte.h"

/* Bytes a routine may write past the text it returns. */
#define ZORUCOREFMT_SLACK 16

/* Longest text of zorucorefmtInt (sign and 19 digits), of zorucorefmtFloat (sign, 17 digits, point, exponent). */
#define ZORUCOREFMT_INT_MAX   20
#define ZORUCOREFMT_FLOAT_MAX 32

/* Bytes of a word that hold 1 in each byte, and 0x80 in each byte. */
#define ZORUCOREFMT_ONES  0x0101010101010101ull
#define ZORUCOREFMT_HIGHS 0x8080808080808080ull

/*
** zorucorefmtLoad
**   The iBytes bytes (0 to 8) at puc in the low bytes of a word, in memory
**   order (the first byte lowest), the others 0; reads [puc, puc + iBytes) only.
*/
[[gnu::always_inline]] inline uint64_t zorucorefmtLoad(const unsigned char *puc, int iBytes)
{
  if (iBytes >= 4) {
    uint64_t ulLow = obyteGetLE32(puc);
    uint64_t ulHigh = obyteGetLE32(puc + iBytes - 4);
    return ulLow | ulHigh << (8 * (iBytes - 4));
  }
  if (iBytes >= 2) {
    uint64_t ulLow = obyteGetLE16(puc);
    uint64_t ulHigh = obyteGetLE16(puc + iBytes - 2);
    return ulLow | ulHigh << (8 * (iBytes - 2));
  }
  return iBytes == 1 ? puc[0] : 0;
}

/*
** zorucorefmtDigits8
**   The 8 decimal digits of ul (below 10^8, with leading zeros) as ASCII
**   bytes of a word in memory order: the most significant digit in the
**   lowest byte.  Each step splits every lane of the word in two, by
**   multiplying with a reciprocal: 4-digit lanes into 2-digit lanes, those
**   into single digits.
*/
[[gnu::always_inline]] inline uint64_t zorucorefmtDigits8(uint32_t ul)
{
  uint64_t v = static_cast<uint64_t>(ul / 10000) | static_cast<uint64_t>(ul % 10000) << 32;
  uint64_t q = ((v * 10486) >> 20) & 0x0000007F0000007Full;   /* lane / 100 for lanes below 10^4 */
  v = q | (v - q * 100) << 16;
  q = ((v * 103) >> 10) & 0x000F000F000F000Full;              /* lane / 10 for lanes below 100 */
  v = q | (v - q * 10) << 8;
  return v | 0x3030303030303030ull;
}

/*
** zorucorefmtNibbles4
**   The 8 nibbles of the 4 bytes held in ul (memory order, the first byte
**   lowest), high nibble first, one per byte of a word in memory order:
**   the values 0 to 15, not yet digits.
*/
[[gnu::always_inline]] inline uint64_t zorucorefmtNibbles4(uint32_t ul)
{
  uint64_t v = ul;
  v = (v | v << 16) & 0x0000FFFF0000FFFFull;
  v = (v | v << 8) & 0x00FF00FF00FF00FFull;
  return ((v >> 4) & 0x000F000F000F000Full) | (v & 0x000F000F000F000Full) << 8;
}

/* True when every byte of ulNibbles that ulMask selects (0xFF bytes) is 9 or less (bytes 0 to 15). */
[[gnu::always_inline]] inline bool zorucorefmtAreDigits(uint64_t ulNibbles, uint64_t ulMask)
{
  return ((ulNibbles + 0x76 * ZORUCOREFMT_ONES) & ulMask & ZORUCOREFMT_HIGHS) == 0;
}

/* True when one of the iBytes bytes (0 to 8) of the word ul, in memory order, is c. */
[[gnu::always_inline]] inline bool zorucorefmtHasByte(uint64_t ul, int iBytes, unsigned char c)
{
  uint64_t ulOthers = iBytes >= 8 ? 0 : ~0ull << (8 * iBytes);   /* bytes past the count never match */
  uint64_t x = (ul ^ (c * ZORUCOREFMT_ONES)) | ulOthers;
  return ((x - ZORUCOREFMT_ONES) & ~x & ZORUCOREFMT_HIGHS) != 0;
}

/*
** zorucorefmtCopySmall
**   Copies ilLength bytes (0 to 16) from puc to pcOut, reading and writing
**   only those bytes.
*/
[[gnu::always_inline]] inline void zorucorefmtCopySmall(char *pcOut, const unsigned char *puc, int32_t ilLength)
{
  unsigned char *pucOut = reinterpret_cast<unsigned char *>(pcOut);
  if (ilLength >= 8) {
    char acFirst[8], acLast[8];
    std::memcpy(acFirst, puc, 8);
    std::memcpy(acLast, puc + ilLength - 8, 8);
    std::memcpy(pucOut, acFirst, 8);
    std::memcpy(pucOut + ilLength - 8, acLast, 8);
  } else if (ilLength >= 4) {
    char acFirst[4], acLast[4];
    std::memcpy(acFirst, puc, 4);
    std::memcpy(acLast, puc + ilLength - 4, 4);
    std::memcpy(pucOut, acFirst, 4);
    std::memcpy(pucOut + ilLength - 4, acLast, 4);
  } else if (ilLength > 0) {
    pucOut[0] = puc[0];
    pucOut[ilLength / 2] = puc[ilLength / 2];
    pucOut[ilLength - 1] = puc[ilLength - 1];
  }
}

/*
** zorucorefmtHasDelim
**   True when one of the ilLength bytes at puc is c (reads those bytes only).
*/
[[gnu::always_inline]] inline bool zorucorefmtHasDelim(const unsigned char *puc, int32_t ilLength, unsigned char c)
{
  if (ilLength > 16) return std::memchr(puc, c, static_cast<size_t>(ilLength)) != nullptr;
  if (ilLength > 8)
    return zorucorefmtHasByte(obyteGetLE64(puc), 8, c) || zorucorefmtHasByte(obyteGetLE64(puc + ilLength - 8), 8, c);
  return ilLength > 0 && zorucorefmtHasByte(zorucorefmtLoad(puc, ilLength), ilLength, c);
}

/* "00" to "99". */
extern const char gacZorucorefmtPairs[201];

/* zorucorefmtIntDigits: the decimal digits of ul (1 for 0). */
int zorucorefmtIntDigits(uint64_t ul);

/* zorucorefmtIntLarge: zorucorefmtInt's digits of a magnitude of 100 or more. */
char *zorucorefmtIntLarge(char *pcOut, uint64_t ulMag);

/*
** zorucorefmtInt
**   The text of v: "-" before a negative value, "+" before any other when
**   boPlus, then the digits without leading zeros.  May write
**   ZORUCOREFMT_SLACK bytes past the text.  Returns the end of the text.
*/
[[gnu::always_inline]] inline char *zorucorefmtInt(char *pcOut, int64_t v, bool boPlus)
{
  uint64_t ulMag = static_cast<uint64_t>(v);
  if (v < 0) {
    *pcOut++ = '-';
    ulMag = 0 - ulMag;
  } else if (boPlus) {
    *pcOut++ = '+';
  }
  if (ulMag < 10) {
    *pcOut = static_cast<char>('0' + ulMag);
    return pcOut + 1;
  }
  if (ulMag < 100) {
    std::memcpy(pcOut, gacZorucorefmtPairs + 2 * ulMag, 2);
    return pcOut + 2;
  }
  return zorucorefmtIntLarge(pcOut, ulMag);
}

/* zorucorefmtIntLength: the length of zorucorefmtInt's text of v. */
inline int zorucorefmtIntLength(int64_t v, bool boPlus)
{
  uint64_t ulMag = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
  return zorucorefmtIntDigits(ulMag) + ((v < 0 || boPlus) ? 1 : 0);
}

/*
** zorucorefmtDecimal
**   The DEL text of the packed decimal at pucValue (precision iPrec 1 to 31,
**   scale iScale 0 to iPrec; iPrec / 2 + 1 bytes): "-" for the sign nibbles
**   0xB and 0xD, else "+"; the iPrec - iScale integer digits with leading
**   zeros; cPoint when iScale > 0 or iPrec is odd; the fraction digits.  The
**   pad nibble of an even precision is not read.  May write
**   ZORUCOREFMT_SLACK bytes past the text.
**   Returns the end of the text, or NULL when a digit nibble is above 9,
**   the sign nibble is below 0xA or the precision or scale is out of range.
*/
char *zorucorefmtDecimal(const unsigned char *pucValue, int iPrec, int iScale, char cPoint, char *pcOut);

/*
** zorucorefmtPiece16
**   Writes at pcOut the 16 bytes from byte iAt (0 to 16) of the 32 bytes
**   ulWord0, ulWord1 (each little-endian), then 16 '0's.
*/
[[gnu::always_inline]] inline void zorucorefmtPiece16(uint64_t ulWord0, uint64_t ulWord1, int iAt, char *pcOut)
{
  constexpr uint64_t ulZeros = 0x3030303030303030ull;
  const int iWord = iAt >> 3, iShift = (iAt & 7) * 8;
  const uint64_t ulA = iWord == 0 ? ulWord0 : iWord == 1 ? ulWord1 : ulZeros;
  const uint64_t ulB = iWord == 0 ? ulWord1 : ulZeros;
  uint64_t ulLow = ulA, ulHigh = ulB;
  if (iShift != 0) {
    ulLow = (ulA >> iShift) | (ulB << (64 - iShift));
    ulHigh = (ulB >> iShift) | (ulZeros << (64 - iShift));
  }
  unsigned char *puc = reinterpret_cast<unsigned char *>(pcOut);
  obytePutLE64(puc, ulLow);
  obytePutLE64(puc + 8, ulHigh);
}

/*
** zorucorefmtDecimalForm
**   zorucorefmtDecimal for one precision and scale of at most 15 digits,
**   worked out once (zorucorefmtDecimalMake) for the values of a column
**   (zorucorefmtDecimalWrite, the same text and results).
*/
struct zorucorefmtDecimalForm {
  int32_t  iBytes;       /* bytes of the value */
  int32_t  iFirst;       /* nibble of the first digit: 1 after the pad nibble of an even precision */
  int32_t  iInteger;     /* integer digits */
  int32_t  iScale;       /* fraction digits */
  int32_t  iSignShift;   /* bit of the sign nibble in the two nibble words, from the first */
  bool     boPoint;      /* the decimal point is written */
  char     cPoint;
  uint64_t aulMask[2];   /* the digit nibbles in the two nibble words */
};

/* False when the precision or scale is out of range or the precision above 15. */
bool zorucorefmtDecimalMake(zorucorefmtDecimalForm *pform, int iPrec, int iScale, char cPoint);

[[gnu::always_inline]] inline char *zorucorefmtDecimalWrite(const zorucorefmtDecimalForm &form,
                                                             const unsigned char *pucValue, char *pcOut)
{
  uint64_t ulValue = zorucorefmtLoad(pucValue, form.iBytes);
  uint64_t ulFirst = zorucorefmtNibbles4(static_cast<uint32_t>(ulValue));
  uint64_t ulSecond = zorucorefmtNibbles4(static_cast<uint32_t>(ulValue >> 32));
  unsigned iSign = static_cast<unsigned>(
      ((form.iSignShift < 64 ? ulFirst >> form.iSignShift : ulSecond >> (form.iSignShift - 64)) & 0x0F));
  uint64_t ulBad = ((ulFirst + 0x76 * ZORUCOREFMT_ONES) & form.aulMask[0]) |
                   ((ulSecond + 0x76 * ZORUCOREFMT_ONES) & form.aulMask[1]);
  if (iSign < 0x0A || (ulBad & ZORUCOREFMT_HIGHS) != 0) return nullptr;
  /* the digits' characters, then '0's: the two 16-byte pieces are cut from
     them in registers (a piece read back from bytes just stored at another
     offset would wait for the stores) */
  const uint64_t ulDigits0 = ulFirst | 0x3030303030303030ull, ulDigits1 = ulSecond | 0x3030303030303030ull;
  *pcOut++ = (iSign == 0x0B || iSign == 0x0D) ? '-' : '+';
  zorucorefmtPiece16(ulDigits0, ulDigits1, form.iFirst, pcOut);
  pcOut += form.iInteger;
  if (form.boPoint) *pcOut++ = form.cPoint;
  zorucorefmtPiece16(ulDigits0, ulDigits1, form.iFirst + form.iInteger, pcOut);
  return pcOut + form.iScale;
}

/*
** zorucorefmtFloat
**   The text of printf's "%.<iPrecision>G" for d in the C locale (1 <= iPrecision
**   <= 17), at most ZORUCOREFMT_FLOAT_MAX bytes, without terminating byte.
**   Values written without exponent are made here from the digits of the
**   scaled value when it cannot lie near a rounding tie; the others through
**   std::to_chars.  May write ZORUCOREFMT_SLACK bytes past the text.
**   Returns the length.
*/
int zorucorefmtFloat(double d, int iPrecision, char *pcOut);

#endif
