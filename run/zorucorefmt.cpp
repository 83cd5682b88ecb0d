/*
** zorucorefmt.cpp
**   Text of numbers, packed decimals and packed date/time digits, a word at
**   a time.  See run/zorucorefmt.h.
*/
#include "run/zorucorefmt.h"

#include <charconv>
#include <cstring>

/* ------------------------------------------------------------- integers */

const char gacZorucorefmtPairs[201] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

/* 10^i for i = 0..19. */
static constexpr uint64_t aulPow10[] = {1ull,
                                    10ull,
                                    100ull,
                                    1000ull,
                                    10000ull,
                                    100000ull,
                                    1000000ull,
                                    10000000ull,
                                    100000000ull,
                                    1000000000ull,
                                    10000000000ull,
                                    100000000000ull,
                                    1000000000000ull,
                                    10000000000000ull,
                                    100000000000000ull,
                                    1000000000000000ull,
                                    10000000000000000ull,
                                    100000000000000000ull,
                                    1000000000000000000ull,
                                    10000000000000000000ull};

int zorucorefmtIntDigits(uint64_t ul)
{
  int iBits = 64 - __builtin_clzll(ul | 1);
  int iDigits = (iBits * 1233) >> 12;   /* floor(bits * log10(2)) */
  return iDigits + ((ul | 1) >= aulPow10[iDigits] ? 1 : 0);   /* 0 has one digit too */
}

/* The text of ul (1 to 10^8 - 1) without its leading zeros at pcOut (8 bytes written); returns its end. */
static inline char *_fmtDigitsNoZeros(char *pcOut, uint32_t ul)
{
  uint64_t ulText = zorucorefmtDigits8(ul);
  int iLeading = __builtin_ctzll(ulText ^ 0x3030303030303030ull) / 8;   /* the first digit that is not 0 */
  obytePutLE64(reinterpret_cast<unsigned char *>(pcOut), ulText >> (8 * iLeading));
  return pcOut + 8 - iLeading;
}

static inline char *_fmtDigits8(char *pcOut, uint32_t ul)
{
  obytePutLE64(reinterpret_cast<unsigned char *>(pcOut), zorucorefmtDigits8(ul));
  return pcOut + 8;
}

char *zorucorefmtIntLarge(char *pcOut, uint64_t ulMag)
{
  if (ulMag < 100000000) return _fmtDigitsNoZeros(pcOut, static_cast<uint32_t>(ulMag));
  uint64_t ulHigh = ulMag / 100000000;
  uint32_t ulLow = static_cast<uint32_t>(ulMag % 100000000);
  if (ulHigh < 100000000) {
    pcOut = _fmtDigitsNoZeros(pcOut, static_cast<uint32_t>(ulHigh));
  } else {
    pcOut = _fmtDigitsNoZeros(pcOut, static_cast<uint32_t>(ulHigh / 100000000));
    pcOut = _fmtDigits8(pcOut, static_cast<uint32_t>(ulHigh % 100000000));
  }
  return _fmtDigits8(pcOut, ulLow);
}

/* ------------------------------------------------------------ packed values */

bool zorucorefmtDecimalMake(zorucorefmtDecimalForm *pform, int iPrec, int iScale, char cPoint)
{
  if (iPrec < 1 || iPrec > 15 || iScale < 0 || iScale > iPrec) return false;
  *pform = zorucorefmtDecimalForm{};
  pform->iBytes = iPrec / 2 + 1;
  pform->iFirst = (iPrec % 2 != 0) ? 0 : 1;
  pform->iInteger = iPrec - iScale;
  pform->iScale = iScale;
  pform->iSignShift = 8 * (2 * pform->iBytes - 1);
  pform->boPoint = iScale > 0 || iPrec % 2 != 0;
  pform->cPoint = cPoint;
  for (int i = pform->iFirst; i < pform->iFirst + iPrec; i++) pform->aulMask[i / 8] |= 0xFFull << (8 * (i % 8));
  return true;
}

char *zorucorefmtDecimal(const unsigned char *pucValue, int iPrec, int iScale, char cPoint, char *pcOut)
{
  if (iPrec < 1 || iPrec > 31 || iScale < 0 || iScale > iPrec) return nullptr;
  const int iBytes = iPrec / 2 + 1;
  /* nibble i of the value in byte i (one word of 8 nibbles per 4 bytes), then checked and made digits */
  unsigned char aucNibbles[64] = {};
  for (int i = 0; i < iBytes; i += 4) {
    int iChunk = iBytes - i < 4 ? iBytes - i : 4;
    obytePutLE64(aucNibbles + 2 * i, zorucorefmtNibbles4(static_cast<uint32_t>(zorucorefmtLoad(pucValue + i, iChunk))));
  }
  const int iSignAt = 2 * iBytes - 1;
  int iSign = aucNibbles[iSignAt];
  if (iSign < 0x0A) return nullptr;   /* a digit where the sign belongs */
  /* the digits: nibbles iFirst .. iFirst + iPrec - 1 (an even precision starts with a pad nibble) */
  const int iFirst = (iPrec % 2 != 0) ? 0 : 1;
  aucNibbles[iSignAt] = 0;
  aucNibbles[0] = iFirst != 0 ? 0 : aucNibbles[0];
  for (int i = 0; i < 2 * iBytes; i += 8) {
    uint64_t ul = obyteGetLE64(aucNibbles + i);
    int iValid = 2 * iBytes - i;
    if (!zorucorefmtAreDigits(ul, iValid >= 8 ? ~0ull : ~0ull >> (64 - 8 * iValid))) return nullptr;
    obytePutLE64(aucNibbles + i, ul | 0x3030303030303030ull);
  }
  const char *pcDigits = reinterpret_cast<const char *>(aucNibbles) + iFirst;
  *pcOut++ = (iSign == 0x0B || iSign == 0x0D) ? '-' : '+';
  const int iInteger = iPrec - iScale;
  const bool boPoint = iScale > 0 || iPrec % 2 != 0;
  if (iPrec <= 15) {
    /* whole 16-byte copies: the text of the next part, or the slack, covers what they add */
    std::memcpy(pcOut, pcDigits, 16);
    pcOut += iInteger;
    if (boPoint) *pcOut++ = cPoint;
    std::memcpy(pcOut, pcDigits + iInteger, 16);
    return pcOut + iScale;
  }
  std::memcpy(pcOut, pcDigits, static_cast<size_t>(iInteger));
  pcOut += iInteger;
  if (boPoint) *pcOut++ = cPoint;
  std::memcpy(pcOut, pcDigits + iInteger, static_cast<size_t>(iScale));
  return pcOut + iScale;
}

/* ------------------------------------------------------------------ floats */

/* 10^e for -4 <= e <= 18: exact for e >= 0, the nearest doubles below. */
static constexpr double adPow10Table[] = {1e-4, 1e-3, 1e-2, 1e-1, 1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6, 1e7,
                                          1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18};
static constexpr const double *adPow10 = adPow10Table + 4;   /* adPow10[e] */

/*
** The text of a value v with 1e-4 <= |v| < 10^P when rounding it to P
** significant digits (1 to 15) is plain: the scaled value is not within
** two units in its last place of a rounding tie.  The decimal exponent e
** comes from the binary one (floor(log10 2^b) or one more) and is taken
** as the largest with |v| >= 10^e in the table's doubles (the negative
** powers are inexact); the rounded digits must number exactly P, so a
** misjudged exponent only sends the value to the general routine.  -1
** when the value is not taken here.  May write ZORUCOREFMT_SLACK bytes
** past the text.
*/
template <int P>
static inline int _fmtFloatPlain(double d, char *pcBuffer)
{
  static_assert(P >= 1 && P <= 15);
  double a = d < 0 ? -d : d;
  if (!(a >= 1e-4 && a < adPow10[P])) return -1;   /* NaN fails too */
  uint64_t ulBits;
  std::memcpy(&ulBits, &a, sizeof ulBits);
  int e = ((static_cast<int>((ulBits >> 52) & 0x7FF) - 1023) * 78913) >> 18;   /* floor(b * log10(2)) */
  if (e < -4) e = -4;
  if (e < P - 1 && a >= adPow10[e + 1]) e++;
  double s = a * adPow10[P - 1 - e];   /* exact power: at most 10^18 */
  /* s < 2 * 10^15 < 2^53: its integer part and the rest are exact */
  uint64_t ulDigits = static_cast<uint64_t>(s);
  double dRest = s - static_cast<double>(ulDigits);
  /* s * 2^-51 is at least two units in the last place of s */
  double dTie = dRest - 0.5;
  if ((dTie < 0 ? -dTie : dTie) <= s * 0x1p-51) return -1;
  if (dRest > 0.5) ulDigits++;
  constexpr uint64_t ulLow = aulPow10[P - 1];
  constexpr uint64_t ulHigh = aulPow10[P];
  if (ulDigits < ulLow || ulDigits >= ulHigh) return -1;

  /* the digits, right-aligned in 16 bytes (the words ulWordHigh, ulWordLow
     in memory order, then '0's): digit i of the value at byte 16 - P + i;
     the pieces written are cut from them in registers */
  /* (a value of few digits has eight zeros at the end, a short precision eight at the front) */
  constexpr uint64_t ulZeros = 0x3030303030303030ull;
  uint64_t ulWordHigh = P <= 8 ? ulZeros : zorucorefmtDigits8(static_cast<uint32_t>(ulDigits / 100000000));
  uint32_t ulLowPart = static_cast<uint32_t>(ulDigits % 100000000);
  uint64_t ulWordLow = ulLowPart == 0 ? ulZeros : zorucorefmtDigits8(ulLowPart);
  /* the last digit that is not 0: from the highest byte of the word that is not '0' */
  uint64_t ulLowNonZero = ulWordLow ^ 0x3030303030303030ull;
  uint64_t ulHighNonZero = ulWordHigh ^ 0x3030303030303030ull;
  int iLastNonZero = ulLowNonZero != 0 ? 8 + (63 - __builtin_clzll(ulLowNonZero)) / 8
                                       : (63 - __builtin_clzll(ulHighNonZero)) / 8;
  constexpr int iFirst = 16 - P;   /* byte of the first digit */
  int iLast = iLastNonZero - iFirst + 1;   /* digits kept: trailing zeros of the fraction go */
  if (iLast < e + 1) iLast = e + 1;

  char *pc = pcBuffer;
  if (d < 0) *pc++ = '-';
  if (e >= 0) {
    zorucorefmtPiece16(ulWordHigh, ulWordLow, iFirst, pc);
    pc += e + 1;
    if (iLast > e + 1) {
      *pc++ = '.';
      zorucorefmtPiece16(ulWordHigh, ulWordLow, iFirst + e + 1, pc);
      pc += iLast - e - 1;
    }
  } else {
    std::memcpy(pc, "0.000000", 8);
    pc += 2 + (-e - 1);
    zorucorefmtPiece16(ulWordHigh, ulWordLow, iFirst, pc);
    pc += iLast;
  }
  return static_cast<int>(pc - pcBuffer);
}

/*
** The text of a value v with 0 < |v| and |v| * 10^S below 10^P whose
** product by 10^S (S: 4 for P 15, 2 for P 6) is a whole number n: money,
** ratings and the like.  The product is within half a unit in its last
** place (a relative 2^-53) of v * 10^S, so v is within that of n / 10^S,
** which has at most P significant digits and whose neighbours at P digits
** are at least 10^-P of it away (relative): rounding v to P digits gives
** n / 10^S, written as printf writes it (no exponent, trailing zeros of
** the fraction removed).  -1 when the value is not of that kind.  May write
** ZORUCOREFMT_SLACK bytes past the text.
*/
template <int P>
static inline int _fmtFloatShort(double d, char *pcBuffer)
{
  constexpr int S = P >= 15 ? 4 : 2;
  constexpr double dScale = S == 4 ? 1e4 : 1e2;
  double t = d * dScale;
  double a = t < 0 ? -t : t;
  if (!(a >= 1 && a < adPow10[P])) return -1;   /* NaN fails too */
  uint64_t ulN = static_cast<uint64_t>(a);
  if (static_cast<double>(ulN) != a) return -1;
  char *pc = pcBuffer;
  if (t < 0) *pc++ = '-';
  constexpr uint64_t ulScale = aulPow10[S];
  pc = zorucorefmtInt(pc, static_cast<int64_t>(ulN / ulScale), false);
  uint32_t ulFraction = static_cast<uint32_t>(ulN % ulScale);
  if (ulFraction != 0) {
    /* the S fraction digits are the last of the eight; the trailing zeros go */
    uint64_t ulText = zorucorefmtDigits8(ulFraction);
    int iKept = 8 - __builtin_clzll(ulText ^ 0x3030303030303030ull) / 8;   /* up to the last digit that is not 0 */
    *pc++ = '.';
    obytePutLE64(reinterpret_cast<unsigned char *>(pc), ulText >> (8 * (8 - S)));
    pc += iKept - (8 - S);
  }
  return static_cast<int>(pc - pcBuffer);
}

int zorucorefmtFloat(double d, int iPrecision, char *pcOut)
{
  int iLength = iPrecision == 15  ? _fmtFloatShort<15>(d, pcOut)
                : iPrecision == 6 ? _fmtFloatShort<6>(d, pcOut)
                                  : -1;
  if (iLength >= 0) return iLength;
  iLength = iPrecision == 15  ? _fmtFloatPlain<15>(d, pcOut)
            : iPrecision == 6 ? _fmtFloatPlain<6>(d, pcOut)
                              : -1;
  if (iLength >= 0) return iLength;
  std::to_chars_result res = std::to_chars(pcOut, pcOut + ZORUCOREFMT_FLOAT_MAX, d, std::chars_format::general, iPrecision);
  if (res.ec != std::errc()) return -1;
  iLength = static_cast<int>(res.ptr - pcOut);
  for (int i = 0; i < iLength; i++)   /* ASCII only: the text must not depend on the locale */
    if (pcOut[i] >= 'a' && pcOut[i] <= 'z') pcOut[i] = static_cast<char>(pcOut[i] - 'a' + 'A');
  return iLength;
}
