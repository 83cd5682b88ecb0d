/*
** odecimal.cpp
**   Exact decimal arithmetic on base-10^9 words (see odecimal.h).
**
**   The operations copy their operands into a magnitude of eight words
**   ordered by weight (index 0 is fraction word 3, weight 10^-36; index 7 is
**   integer word 3, weight 10^27), work on magnitudes with 64-bit
**   intermediates, and store the result back with its sign.  A zero result
**   is always stored with sign 0, so that every zero compares equal to every
**   other.  Division is an exact long division in base 10^9 whose quotient
**   is truncated, never an estimate.
*/
#include "expr/odecimal.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "common/ochar.h"

const int32_t aiAdjust[10] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};

#define M10(t) t, t + 1, t + 2, t + 3, t + 4, t + 5, t + 6, t + 7, t + 8, t + 9, 0, 0, 0, 0, 0, 0
#define MBAD 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0
const int32_t aiMap[256] = {
  M10(0), M10(10), M10(20), M10(30), M10(40), M10(50), M10(60), M10(70), M10(80), M10(90),
  MBAD, MBAD, MBAD, MBAD, MBAD, MBAD,
};
#undef M10
#undef MBAD

const double gafdPrecision[37] = {
  1e0,   1e-1,  1e-2,  1e-3,  1e-4,  1e-5,  1e-6,  1e-7,  1e-8,  1e-9,
  1e-10, 1e-11, 1e-12, 1e-13, 1e-14, 1e-15, 1e-16, 1e-17, 1e-18, 1e-19,
  1e-20, 1e-21, 1e-22, 1e-23, 1e-24, 1e-25, 1e-26, 1e-27, 1e-28, 1e-29,
  1e-30, 1e-31, 1e-32, 1e-33, 1e-34, 1e-35, 1e-35,
};

static const uint64_t B = ODEC_BASE;

/* Magnitude: 8 words by weight, index 0 = fraction word 3. */
typedef uint32_t decmag[8];

/* aiWord index of magnitude index i. */
static int _decWordIndex(int i)
{
  return i >= 4 ? ODEC_INT(i - 4) : ODEC_FRAC(3 - i);
}

static bool _decCountValid(const odecimal *p)
{
  return p->iCount >= 1 && p->iCount <= 4;
}

static void _decToMag(const odecimal *p, decmag m)
{
  for (int i = 0; i < 8; i++) m[i] = static_cast<uint32_t>(p->aiWord[_decWordIndex(i)]);
}

static bool _decMagZero(const decmag m)
{
  for (int i = 0; i < 8; i++)
    if (m[i] != 0) return false;
  return true;
}

/* -1, 0, 1 as |a| is below, equal to or above |b|. */
static int _decMagCmp(const decmag a, const decmag b)
{
  for (int i = 7; i >= 0; i--)
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  return 0;
}

/*
** Stores a magnitude and sign: a zero is positive; the word-pair count is
** that of the highest pair holding a non-zero word, at least iMinCount.
*/
static void _decFromMag(odecimal *p, const decmag m, int iSign, int iMinCount)
{
  int iCount = 1;
  for (int i = 0; i < 8; i++) {
    p->aiWord[_decWordIndex(i)] = static_cast<int32_t>(m[i]);
    if (m[i] != 0) {
      int iPair = i >= 4 ? i - 4 : 3 - i;
      if (iPair + 1 > iCount) iCount = iPair + 1;
    }
  }
  p->iCount = iCount > iMinCount ? iCount : iMinCount;
  p->iSign = _decMagZero(m) ? 0 : (iSign != 0);
  p->iOverflow = 0;
}

/* Marks a failed result: cleared, with a negative count. */
static int _decFail(odecimal *p, int iCount, int iStatus)
{
  _decClean(p);
  p->iCount = iCount;
  return iStatus;
}

void _decClean(odecimal *pDec)
{
  memset(pDec, 0, sizeof *pDec);
  pDec->iCount = 1;
}

/*
** Value of the digit at nibble n of a packed decimal of iPrec digits.  Digits
** of a byte that holds two digits read as 0 when either nibble is above 9;
** the digit beside the sign and the one beside the pad of an even precision
** read as 0 when they are above 9.
*/
static int _decDigit(const unsigned char *pPacked, int iPrec, int n)
{
  int nBytes = iPrec / 2 + 1;
  unsigned char c = pPacked[n / 2];
  int iDigit = (n % 2 == 0) ? c >> 4 : c & 0x0F;
  bool bShared = n / 2 == nBytes - 1 || (n / 2 == 0 && iPrec % 2 == 0);
  if (bShared) return iDigit > 9 ? 0 : iDigit;
  return (aiMap[c] == 0 && c != 0) ? 0 : iDigit;
}

int _decInitFromInternal(odecimal *pDec, const unsigned char *pPacked, int iPrec, int iScale)
{
  _decClean(pDec);
  int i = iPrec - iScale;
  if (pPacked == nullptr || iPrec < 0 || iScale < 0 || i < 0 || i > 36 || iScale > 36)
    return _decFail(pDec, -2, ODEC_INVALID);
  int nBytes = iPrec / 2 + 1;
  int n = (iPrec % 2 == 0) ? 1 : 0;  /* skip the pad digit of an even precision */
  decmag m = {};
  for (int k = i - 1; k >= 0; k--, n++) {  /* k: position left of the point */
    m[4 + k / 9] += static_cast<uint32_t>(_decDigit(pPacked, iPrec, n) * aiAdjust[k % 9]);
  }
  for (int k = 0; k < iScale; k++, n++) {  /* k: position right of the point, from 0 */
    m[3 - k / 9] += static_cast<uint32_t>(_decDigit(pPacked, iPrec, n) * aiAdjust[8 - k % 9]);
  }
  int iWide = i > iScale ? i : iScale;
  int iCount = iWide <= 9 ? 1 : iWide <= 18 ? 2 : iWide <= 27 ? 3 : 4;
  int iSignNibble = pPacked[nBytes - 1] & 0x0F;
  _decFromMag(pDec, m, iSignNibble == 0xB || iSignNibble == 0xD, iCount);
  return 0;
}

int _decToInternal(const odecimal *pDec, unsigned char *pPacked, int iPrec, int iScale)
{
  if (pPacked == nullptr || !_decCountValid(pDec) || iPrec < 1 || iPrec > 31 || iScale < 0 || iScale > iPrec)
    return ODEC_INVALID;
  if (pDec->iOverflow != 0) return ODEC_OVERFLOW;
  /* the 36 integer digits, most significant first, then the 36 fraction digits */
  char acDigits[72];
  for (int k = 0; k < 4; k++) {
    uint32_t ulInt = static_cast<uint32_t>(pDec->aiWord[ODEC_INT(k)]);
    uint32_t ulFrac = static_cast<uint32_t>(pDec->aiWord[ODEC_FRAC(k)]);
    for (int d = 8; d >= 0; d--) {
      acDigits[27 - 9 * k + d] = static_cast<char>(ulInt % 10);
      ulInt /= 10;
      acDigits[36 + 9 * k + d] = static_cast<char>(ulFrac % 10);
      ulFrac /= 10;
    }
  }
  int iIntDigits = iPrec - iScale;
  for (int i = 0; i < 36 - iIntDigits; i++)
    if (acDigits[i] != 0) return ODEC_OVERFLOW;
  int nBytes = iPrec / 2 + 1;
  std::memset(pPacked, 0, static_cast<size_t>(nBytes));
  /* nibble n of the 2 * nBytes - 1 digit nibbles; an even precision leaves the first as a pad */
  bool boZero = true;
  int n = (iPrec % 2 == 0) ? 1 : 0;
  for (int i = 36 - iIntDigits; i < 36 + iScale; i++, n++) {
    int iDigit = acDigits[i];
    if (iDigit != 0) boZero = false;
    pPacked[n / 2] = static_cast<unsigned char>(pPacked[n / 2] | (n % 2 == 0 ? iDigit << 4 : iDigit));
  }
  pPacked[nBytes - 1] = static_cast<unsigned char>(pPacked[nBytes - 1] | (pDec->iSign == 1 && !boZero ? 0x0D : 0x0C));
  return 0;
}

static void _decFromU64(odecimal *pDec, uint64_t ullMag, int iSign)
{
  decmag m = {};
  m[4] = static_cast<uint32_t>(ullMag % B);
  m[5] = static_cast<uint32_t>(ullMag / B % B);
  m[6] = static_cast<uint32_t>(ullMag / B / B);
  _decFromMag(pDec, m, iSign, 1);
}

int _decFromInt(odecimal *pDec, int32_t iValue)
{
  uint64_t ullMag = iValue < 0 ? static_cast<uint64_t>(-static_cast<int64_t>(iValue)) : static_cast<uint64_t>(iValue);
  _decFromU64(pDec, ullMag, iValue < 0);
  return 0;
}

int _decFromBig(odecimal *pDec, int64_t llValue)
{
  uint64_t ullMag = llValue < 0 ? 0 - static_cast<uint64_t>(llValue) : static_cast<uint64_t>(llValue);
  _decFromU64(pDec, ullMag, llValue < 0);
  return 0;
}

/* floor(a), kept within one word. */
static int32_t _decWordOf(long double a)
{
  long double w = floorl(a);
  if (w < 0) return 0;
  if (w > 999999999.0L) return 999999999;
  return static_cast<int32_t>(w);
}

int _decFromDouble(odecimal *pDec, double dValue)
{
  _decClean(pDec);
  if (!std::isfinite(dValue)) return _decFail(pDec, -1, -1);
  long double a = dValue;
  if (a < 0) {
    pDec->iSign = 1;
    a = -a;
  }
  int iCount = 1;
  static const long double aldIntWeight[4] = {1.0L, 1e9L, 1e18L, 1e27L};
  if (a >= aldIntWeight[3]) {
    long double q = a / aldIntWeight[3];
    if (q >= 1e9L) return _decFail(pDec, -1, -1);
  }
  for (int k = 3; k >= 0; k--) {
    if (a >= aldIntWeight[k]) {
      int32_t w = _decWordOf(a / aldIntWeight[k]);
      pDec->aiWord[ODEC_INT(k)] = w;
      if (k + 1 > iCount) iCount = k + 1;
      a -= w * aldIntWeight[k];
    }
  }
  static const long double aldFracWeight[4] = {1e-9L, 1e-18L, 1e-27L, 1e-36L};
  static const long double aldFracScale[4] = {1e9L, 1e18L, 1e27L, 1e36L};
  for (int k = 0; k < 4; k++) {
    if (a >= aldFracWeight[k]) {
      int32_t w = _decWordOf(a * aldFracScale[k]);
      pDec->aiWord[ODEC_FRAC(k)] = w;
      if (k + 1 > iCount) iCount = k + 1;
      a -= w * aldFracWeight[k];
    }
  }
  pDec->iCount = iCount;
  decmag m;
  _decToMag(pDec, m);
  if (_decMagZero(m)) pDec->iSign = 0;
  return 0;
}

double _decToDouble(const odecimal *pDec)
{
  const int32_t *w = pDec->aiWord;
  long double s = static_cast<long double>(w[ODEC_FRAC(2)]) * 1e-27;
  s += static_cast<long double>(w[ODEC_FRAC(3)]) * 1e-36;
  s += static_cast<long double>(w[ODEC_FRAC(1)]) * 1e-18;
  s += static_cast<long double>(w[ODEC_FRAC(0)]) * 1e-9;
  s += static_cast<long double>(w[ODEC_INT(0)]);
  s += static_cast<long double>(w[ODEC_INT(1)]) * 1e9;
  s += static_cast<long double>(w[ODEC_INT(2)]) * 1e18;
  s += static_cast<long double>(w[ODEC_INT(3)]) * 1e27;
  if (pDec->iSign == 1) s = -s;
  return static_cast<double>(s);
}

int _dec2int(const odecimal *pDec, int32_t *piValue)
{
  *piValue = 0;
  if (!_decCountValid(pDec)) return -1;
  const int32_t *w = pDec->aiWord;
  if (w[ODEC_INT(3)] != 0 || w[ODEC_INT(2)] != 0) return -1;
  int64_t llMag = static_cast<int64_t>(w[ODEC_INT(1)]) * ODEC_BASE + w[ODEC_INT(0)];
  if (llMag > 2147483647) return -1;
  *piValue = static_cast<int32_t>(pDec->iSign == 1 ? -llMag : llMag);
  return 0;
}

/*
** a + b on magnitudes and signs.  iMinCount is the least word-pair count of
** the result.
*/
static int _decAddMag(odecimal *pRes, const decmag a, int iSignA, const decmag b, int iSignB, int iMinCount)
{
  decmag r;
  int iSign;
  if (iSignA == iSignB) {
    uint64_t ullCarry = 0;
    for (int i = 0; i < 8; i++) {
      uint64_t s = static_cast<uint64_t>(a[i]) + b[i] + ullCarry;
      r[i] = static_cast<uint32_t>(s % B);
      ullCarry = s / B;
    }
    if (ullCarry != 0) return _decFail(pRes, -1, ODEC_OVERFLOW);
    iSign = iSignA;
  } else {
    int iCmp = _decMagCmp(a, b);
    const uint32_t *pBig = iCmp >= 0 ? a : b;
    const uint32_t *pSmall = iCmp >= 0 ? b : a;
    int64_t llBorrow = 0;
    for (int i = 0; i < 8; i++) {
      int64_t d = static_cast<int64_t>(pBig[i]) - pSmall[i] - llBorrow;
      llBorrow = d < 0;
      r[i] = static_cast<uint32_t>(d < 0 ? d + static_cast<int64_t>(B) : d);
    }
    iSign = iCmp >= 0 ? iSignA : iSignB;
  }
  _decFromMag(pRes, r, iSign, iMinCount);
  return 0;
}

int _decAdd(odecimal *pRes, const odecimal *pA, const odecimal *pB)
{
  if (!_decCountValid(pA) || !_decCountValid(pB)) return _decFail(pRes, -2, ODEC_INVALID);
  decmag a, b;
  _decToMag(pA, a);
  _decToMag(pB, b);
  int iSignA = pA->iSign != 0, iSignB = pB->iSign != 0;
  int iMinCount = 1;
  if (iSignA == iSignB) iMinCount = pA->iCount > pB->iCount ? pA->iCount : pB->iCount;
  return _decAddMag(pRes, a, iSignA, b, iSignB, iMinCount);
}

int _decAddInt(odecimal *pRes, const odecimal *pA, int32_t iK)
{
  if (!_decCountValid(pA)) return _decFail(pRes, -2, ODEC_INVALID);
  decmag a, k = {};
  _decToMag(pA, a);
  uint64_t ullMag = iK < 0 ? static_cast<uint64_t>(-static_cast<int64_t>(iK)) : static_cast<uint64_t>(iK);
  k[4] = static_cast<uint32_t>(ullMag % B);
  k[5] = static_cast<uint32_t>(ullMag / B);
  return _decAddMag(pRes, a, pA->iSign != 0, k, iK < 0, pA->iCount);
}

int _decMult(odecimal *pRes, const odecimal *pA, const odecimal *pB)
{
  if (!_decCountValid(pA) || !_decCountValid(pB)) return _decFail(pRes, -2, ODEC_INVALID);
  decmag a, b;
  _decToMag(pA, a);
  _decToMag(pB, b);
  int iSign = (pA->iSign != 0) ^ (pB->iSign != 0);
  /* Column c has weight 10^(9(c-8)): columns 0..3 lie below 10^-36 and are
  ** only needed for their carries, columns 12..15 are 10^36 and above. */
  uint32_t acol[16] = {};
  for (int i = 0; i < 8; i++) {
    uint64_t ullCarry = 0;
    for (int j = 0; j < 8; j++) {
      uint64_t t = acol[i + j] + static_cast<uint64_t>(a[i]) * b[j] + ullCarry;
      acol[i + j] = static_cast<uint32_t>(t % B);
      ullCarry = t / B;
    }
    acol[i + 8] = static_cast<uint32_t>(ullCarry);
  }
  for (int c = 12; c < 16; c++)
    if (acol[c] != 0) return _decFail(pRes, -1, ODEC_OVERFLOW);
  decmag r;
  for (int i = 0; i < 8; i++) r[i] = acol[i + 4];
  _decFromMag(pRes, r, iSign, 1);
  return 0;
}

int _decMultInt(odecimal *pRes, const odecimal *pA, int32_t iK)
{
  if (!_decCountValid(pA)) return _decFail(pRes, -2, ODEC_INVALID);
  decmag a, r;
  _decToMag(pA, a);
  int iMinCount = pA->iCount;
  int iSign = (pA->iSign != 0) ^ (iK < 0);
  uint64_t ullK = iK < 0 ? static_cast<uint64_t>(-static_cast<int64_t>(iK)) : static_cast<uint64_t>(iK);
  uint64_t ullCarry = 0;
  for (int i = 0; i < 8; i++) {
    uint64_t t = static_cast<uint64_t>(a[i]) * ullK + ullCarry;
    r[i] = static_cast<uint32_t>(t % B);
    ullCarry = t / B;
  }
  _decFromMag(pRes, r, iSign, iMinCount);
  if (ullCarry != 0) {
    pRes->iSign = iSign;
    pRes->iOverflow = static_cast<int32_t>(ullCarry);
    pRes->iCount = -3;
    return ODEC_OVERFLOW;
  }
  return 0;
}

/*
** Long division in base 10^9 (Knuth's algorithm D): q = floor(u / v) for
** u of nU words and v of nV words, v[nV-1] != 0, nU >= nV >= 1; q receives
** nU - nV + 1 words.  Words are ordered by weight, lowest first.
*/
static void _decBigDiv(const uint32_t *u, int nU, const uint32_t *v, int nV, uint32_t *q)
{
  if (nV == 1) {
    uint64_t r = 0;
    for (int i = nU - 1; i >= 0; i--) {
      uint64_t t = r * B + u[i];
      q[i] = static_cast<uint32_t>(t / v[0]);
      r = t % v[0];
    }
    return;
  }
  /* Normalise so that the divisor's top word is at least B / 2. */
  uint64_t d = B / (static_cast<uint64_t>(v[nV - 1]) + 1);
  uint32_t un[32], vn[32];
  uint64_t c = 0;
  for (int i = 0; i < nU; i++) {
    uint64_t t = u[i] * d + c;
    un[i] = static_cast<uint32_t>(t % B);
    c = t / B;
  }
  un[nU] = static_cast<uint32_t>(c);
  c = 0;
  for (int i = 0; i < nV; i++) {
    uint64_t t = v[i] * d + c;
    vn[i] = static_cast<uint32_t>(t % B);
    c = t / B;
  }
  uint64_t vTop = vn[nV - 1], vNext = vn[nV - 2];
  for (int j = nU - nV; j >= 0; j--) {
    uint64_t num = static_cast<uint64_t>(un[j + nV]) * B + un[j + nV - 1];
    uint64_t qhat = num / vTop, rhat = num % vTop;
    while (qhat >= B || qhat * vNext > rhat * B + un[j + nV - 2]) {
      qhat--;
      rhat += vTop;
      if (rhat >= B) break;
    }
    int64_t llBorrow = 0;
    uint64_t ullCarry = 0;
    for (int i = 0; i < nV; i++) {
      uint64_t p = qhat * vn[i] + ullCarry;
      ullCarry = p / B;
      int64_t t = static_cast<int64_t>(un[i + j]) - static_cast<int64_t>(p % B) - llBorrow;
      llBorrow = t < 0;
      un[i + j] = static_cast<uint32_t>(t < 0 ? t + static_cast<int64_t>(B) : t);
    }
    int64_t t = static_cast<int64_t>(un[j + nV]) - static_cast<int64_t>(ullCarry) - llBorrow;
    if (t < 0) {
      /* qhat was one too large: add the divisor back. */
      qhat--;
      uint64_t s = 0;
      for (int i = 0; i < nV; i++) {
        s += static_cast<uint64_t>(un[i + j]) + vn[i];
        un[i + j] = static_cast<uint32_t>(s % B);
        s /= B;
      }
      t += static_cast<int64_t>(s);
    }
    un[j + nV] = static_cast<uint32_t>(t);
    q[j] = static_cast<uint32_t>(qhat);
  }
}

/* Exact quotient truncated to iScale fraction digits. */
static int _decDivExact(odecimal *pRes, const odecimal *pA, const odecimal *pB, int iScale)
{
  if (!_decCountValid(pA) || !_decCountValid(pB)) return _decFail(pRes, -2, ODEC_INVALID);
  decmag a, b;
  _decToMag(pA, a);
  _decToMag(pB, b);
  if (_decMagZero(b)) return _decFail(pRes, -2, ODEC_DIVZERO);
  int iSign = (pA->iSign != 0) ^ (pB->iSign != 0);
  if (iScale < 0) iScale = 35;
  if (iScale > 36) iScale = 36;
  /* a / b = (A * 10^36 / B) units of 10^-36, A and B the word magnitudes. */
  uint32_t u[12] = {};
  for (int i = 0; i < 8; i++) u[i + 4] = a[i];
  int nU = 12, nV = 8;
  while (nU > 0 && u[nU - 1] == 0) nU--;
  while (b[nV - 1] == 0) nV--;
  decmag r = {};
  if (nU >= nV) {
    uint32_t q[12] = {};
    _decBigDiv(u, nU, b, nV, q);
    for (int i = 8; i < 12; i++)
      if (q[i] != 0) return _decFail(pRes, -1, ODEC_OVERFLOW);
    for (int i = 0; i < 8; i++) r[i] = q[i];
  }
  _decFromMag(pRes, r, iSign, 1);
  _decRound(pRes, iScale);
  return 0;
}

int _decDiv(odecimal *pRes, const odecimal *pA, const odecimal *pB, int iScale)
{
  return _decDivExact(pRes, pA, pB, iScale);
}

int _decDivKnuth(odecimal *pRes, const odecimal *pA, const odecimal *pB, int iScale)
{
  return _decDivExact(pRes, pA, pB, iScale);
}

int _decDivInt(odecimal *pRes, const odecimal *pA, int32_t iK)
{
  if (!_decCountValid(pA)) return _decFail(pRes, -2, ODEC_INVALID);
  if (iK == 0) return _decFail(pRes, -2, ODEC_DIVZERO);
  decmag a, r;
  _decToMag(pA, a);
  uint64_t ullK = iK < 0 ? static_cast<uint64_t>(-static_cast<int64_t>(iK)) : static_cast<uint64_t>(iK);
  uint64_t ullRem = 0;
  for (int i = 7; i >= 0; i--) {
    uint64_t t = ullRem * B + a[i];
    r[i] = static_cast<uint32_t>(t / ullK);
    ullRem = t % ullK;
  }
  _decFromMag(pRes, r, (pA->iSign != 0) ^ (iK < 0), 1);
  return 0;
}

int _decRound(odecimal *pDec, int iScale)
{
  if (iScale < 0 || iScale >= 36 || pDec->iCount < 1) return 0;
  int k = iScale / 9;
  int32_t iDiv = aiAdjust[9 - iScale % 9];
  int32_t &w = pDec->aiWord[ODEC_FRAC(k)];
  w = iScale % 9 == 0 ? 0 : w / iDiv * iDiv;
  for (int j = k + 1; j < 4; j++) pDec->aiWord[ODEC_FRAC(j)] = 0;
  decmag m;
  _decToMag(pDec, m);
  if (_decMagZero(m)) pDec->iSign = 0;
  return 0;
}

int _decCmp(const odecimal *pA, const odecimal *pB)
{
  if (!_decCountValid(pA) || !_decCountValid(pB)) return -2;
  decmag a, b;
  _decToMag(pA, a);
  _decToMag(pB, b);
  bool bZeroA = _decMagZero(a), bZeroB = _decMagZero(b);
  if (bZeroA && bZeroB) return 0;
  int iSignA = bZeroA ? 0 : pA->iSign != 0;
  int iSignB = bZeroB ? 0 : pB->iSign != 0;
  if (iSignA != iSignB) return iSignB - iSignA;
  int iCmp = _decMagCmp(a, b);
  return iSignA ? -iCmp : iCmp;
}

int _decCmpInt(const odecimal *pDec, int32_t iK)
{
  if (!_decCountValid(pDec)) return -2;
  odecimal k;
  _decFromInt(&k, iK);
  return _decCmp(pDec, &k);
}

int _decMultPow10(odecimal *pDec, int iN)
{
  if (iN < 0) return -1;
  if (!_decCountValid(pDec)) return 0;
  decmag a, r = {};
  _decToMag(pDec, a);
  int iShift = iN / 9;
  for (int i = 0; i < 8; i++) {
    if (a[i] == 0) continue;
    if (i + iShift >= 8) {
      pDec->iCount = -1;
      return 0;
    }
    r[i + iShift] = a[i];
  }
  uint64_t ullCarry = 0, ullF = static_cast<uint64_t>(aiAdjust[iN % 9]);
  for (int i = 0; i < 8; i++) {
    uint64_t t = r[i] * ullF + ullCarry;
    r[i] = static_cast<uint32_t>(t % B);
    ullCarry = t / B;
  }
  if (ullCarry != 0) {
    pDec->iCount = -1;
    return 0;
  }
  _decFromMag(pDec, r, pDec->iSign, 1);
  return 0;
}

/* Address of the word at a position -4..4. */
static int32_t *_decWordAt(odecimal *pDec, int iPos)
{
  if (iPos == 4) return &pDec->iOverflow;
  return &pDec->aiWord[iPos >= 0 ? ODEC_INT(iPos) : ODEC_FRAC(-iPos - 1)];
}

int32_t _decGetValue(const odecimal *pDec, int iPos)
{
  if (iPos < -4 || iPos > 4) return 0;
  return *_decWordAt(const_cast<odecimal *>(pDec), iPos);
}

void _decSetValue(odecimal *pDec, int iPos, int32_t iWord)
{
  if (iPos < -4 || iPos > 4) return;
  *_decWordAt(pDec, iPos) = iWord;
  if (iWord != 0 && iPos < 4) {
    int iPair = iPos >= 0 ? iPos : -iPos - 1;
    if (pDec->iCount < iPair + 1) pDec->iCount = iPair + 1;
  }
}

int32_t _decGetHighValue(const odecimal *pDec, int *piPos)
{
  for (int iPos = 4; iPos >= -4; iPos--) {
    int32_t w = _decGetValue(pDec, iPos);
    if (w != 0) {
      *piPos = iPos;
      return w;
    }
  }
  *piPos = -5;
  return 0;
}

int32_t _decGetLowValue(const odecimal *pDec, int *piPos)
{
  for (int iPos = -4; iPos <= 4; iPos++) {
    int32_t w = _decGetValue(pDec, iPos);
    if (w != 0) {
      *piPos = iPos;
      return w;
    }
  }
  *piPos = -5;
  return 0;
}

int _decGetSpread(const odecimal *pDec)
{
  int iHigh, iLow;
  if (_decGetHighValue(pDec, &iHigh) == 0) return 0;
  _decGetLowValue(pDec, &iLow);
  return iHigh - iLow + 1;
}

void _decShiftValue(odecimal *pDec, int iN)
{
  if (iN > 9) iN = 9;
  if (iN < -9) iN = -9;
  int32_t aiOld[9];
  for (int iPos = -4; iPos <= 4; iPos++) aiOld[iPos + 4] = _decGetValue(pDec, iPos);
  int iCount = 1;
  for (int iPos = -4; iPos <= 4; iPos++) {
    int iFrom = iPos - iN;
    int32_t w = (iFrom >= -4 && iFrom <= 4) ? aiOld[iFrom + 4] : 0;
    *_decWordAt(pDec, iPos) = w;
    if (w != 0 && iPos < 4) {
      int iPair = iPos >= 0 ? iPos : -iPos - 1;
      if (iCount < iPair + 1) iCount = iPair + 1;
    }
  }
  pDec->iCount = iCount;
}

ochar *odecCreateChar(const unsigned char *pBuffer, char cPoint, int iCcsid)
{
  if (pBuffer == nullptr) return nullptr;
  int iPrec = pBuffer[0], iScale = pBuffer[1];
  if (iPrec > 31 || iScale > iPrec) return nullptr;
  int nBytes = iPrec / 2 + 1;
  const unsigned char *pPacked = pBuffer + ODEC_CONST_LEN - nBytes;
  int iSignNibble = pPacked[nBytes - 1] & 0x0F;
  char acText[40];
  int n = 0;
  acText[n++] = (iSignNibble == 0xB || iSignNibble == 0xD) ? '-' : '+';
  int iNibble = (iPrec % 2 == 0) ? 1 : 0;
  for (int k = 0; k < iPrec - iScale; k++) acText[n++] = static_cast<char>('0' + _decDigit(pPacked, iPrec, iNibble++));
  acText[n++] = cPoint;
  for (int k = 0; k < iScale; k++) acText[n++] = static_cast<char>('0' + _decDigit(pPacked, iPrec, iNibble++));
  ochar *pchar = static_cast<ochar *>(malloc(sizeof(ochar)));
  if (pchar == nullptr) return nullptr;
  if (ocharInitFromFixed(pchar, acText, n, static_cast<uint16_t>(iCcsid)) != 0) {
    free(pchar);
    return nullptr;
  }
  return pchar;
}

void _decPrint(const odecimal *pDec, FILE *pStream)
{
  if (pStream == nullptr) return;
  const int32_t *w = pDec->aiWord;
  int iLead = pDec->iSign == 1 ? -1 : 1;
  switch (pDec->iCount) {
  case 1:
    fprintf(pStream, "%-.9i.%.9i", iLead * w[ODEC_INT(0)], w[ODEC_FRAC(0)]);
    break;
  case 2:
    fprintf(pStream, "%-.9i %.9i.%.9i %.9i", iLead * w[ODEC_INT(1)], w[ODEC_INT(0)], w[ODEC_FRAC(0)],
            w[ODEC_FRAC(1)]);
    break;
  case 3:
    fprintf(pStream, "%-.9i %.9i %.9i.%.9i %.9i %.9i", iLead * w[ODEC_INT(2)], w[ODEC_INT(1)], w[ODEC_INT(0)],
            w[ODEC_FRAC(0)], w[ODEC_FRAC(1)], w[ODEC_FRAC(2)]);
    break;
  case 4:
    fprintf(pStream, "%-.9i %.9i %.9i %.9i.%.9i %.9i %.9i %.9i", iLead * w[ODEC_INT(3)], w[ODEC_INT(2)],
            w[ODEC_INT(1)], w[ODEC_INT(0)], w[ODEC_FRAC(0)], w[ODEC_FRAC(1)], w[ODEC_FRAC(2)], w[ODEC_FRAC(3)]);
    break;
  default:
    fprintf(pStream, "NAN/INFINITI");
    break;
  }
}

int _decTest(void)
{
  odecimal a, b, q;
  _decFromInt(&a, 22);
  _decFromInt(&b, 11);
  _decDivInt(&b, &b, 10);
  int iRc = 0;
  for (int i = 0; i < 100000; i++) iRc = _decDiv(&q, &a, &b, 15);
  return iRc;
}
