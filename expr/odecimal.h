/*
** odecimal.h
**   Exact fixed-point decimal numbers of the expression engine: 36 integer and
**   36 fraction digits held in base-10^9 words, with a word-pair count and a
**   sign.  The WHERE evaluator loads DECIMAL column values and constants into
**   them from DB2's packed BCD form, compares them and does its DECIMAL
**   arithmetic with them.  Values live in caller storage; nothing here
**   allocates except odecCreateChar.  No state: any thread may use it on
**   values of its own.
**
**   Layout of a value (fields in order, all 32-bit signed):
**     iCount     word-pair count 1..4: pair k is (integer word k, fraction
**                word k); words of pairs above the count are zero.  A failed
**                result has a negative count: -1 overflow, -2 invalid operand
**                or division by zero, -3 overflow of _decMultInt (the excess
**                is in iOverflow).
**     iSign      0 positive, 1 negative.  Zero is always positive.
**     iOverflow  weight 10^36.
**     aiWord     ODEC_INT(k) has weight 10^(9k), ODEC_FRAC(k) 10^-(9(k+1));
**                every word holds 0..999,999,999.
**
**   Packed decimal DECIMAL(p,s): floor(p/2)+1 bytes of BCD, most significant
**   digit first, the sign in the low nibble of the last byte (0xB and 0xD
**   negative, every other nibble positive); for an even p the high nibble of
**   the first byte is a pad digit.
**
**   Status codes: 0, ODEC_OVERFLOW 0x1ba001 (more than 36 integer digits),
**   ODEC_INVALID 0x1ba002 (an operand in a failed state), ODEC_DIVZERO
**   0x1ba003 (division by zero).
*/
#ifndef ZAV_EXPR_ODECIMAL_H
#define ZAV_EXPR_ODECIMAL_H

#include <cstdint>
#include <cstdio>

#define ODEC_OVERFLOW 0x1ba001
#define ODEC_INVALID  0x1ba002
#define ODEC_DIVZERO  0x1ba003

#define ODEC_BASE 1000000000

/* Index into aiWord of integer word k and fraction word k (k = 0..3). */
#define ODEC_INT(k)  (2 * (k))
#define ODEC_FRAC(k) (2 * (k) + 1)

/* Length in bytes of a DECIMAL constant buffer: precision, scale, 16 bytes of
** packed decimal right-aligned (the sign nibble is the low nibble of byte 17). */
#define ODEC_CONST_LEN 18

struct odecimal {
  int32_t iCount;     /* word-pair count, negative for a failed result */
  int32_t iSign;      /* 0 positive, 1 negative */
  int32_t iOverflow;  /* weight 10^36 */
  int32_t aiWord[8];  /* int 0, frac 0, int 1, frac 1, int 2, frac 2, int 3, frac 3 */
};

struct ochar;

/* Powers of ten 10^0 .. 10^9. */
extern const int32_t aiAdjust[10];
/* Packed byte -> its two BCD digits as a number; 0 for a byte with a nibble above 9. */
extern const int32_t aiMap[256];
/* 10^-i for i = 0..35; index 36 repeats 10^-35. */
extern const double gafdPrecision[37];

/*
** _decClean
**   Clears a value: word-pair count 1, sign 0, every word 0.
*/
void _decClean(odecimal *pDec);

/*
** _decInitFromInternal
**   Loads the packed decimal of precision iPrec and scale iScale at pPacked
**   (floor(iPrec/2)+1 bytes are read).  REQUIRES 0 <= iScale <= iPrec,
**   iPrec - iScale <= 36 and iScale <= 36.  Digits of a byte holding a nibble
**   above 9 read as 0.  A negative zero loads as zero.
**   Returns 0, or ODEC_INVALID (count -2) when precision or scale is out of
**   range.
*/
int _decInitFromInternal(odecimal *pDec, const unsigned char *pPacked, int iPrec, int iScale);

/*
** _decToInternal
**   Stores the value as a packed decimal of precision iPrec and scale iScale
**   at pPacked (floor(iPrec/2)+1 bytes): fraction digits beyond the scale
**   are dropped (truncation, as DB2 assigns a decimal to a smaller scale),
**   sign nibble 0xC or 0xD (0xC for zero).  REQUIRES 1 <= iPrec <= 31 and
**   0 <= iScale <= iPrec.
**   Returns 0; ODEC_OVERFLOW when the integer part needs more than
**   iPrec - iScale digits (nothing stored); ODEC_INVALID for a failed value
**   or a precision or scale out of range.
*/
int _decToInternal(const odecimal *pDec, unsigned char *pPacked, int iPrec, int iScale);

/*
** _decFromInt, _decFromBig
**   Exact conversion of a 32-bit or 64-bit integer (the most negative values
**   included).  Return 0.
*/
int _decFromInt(odecimal *pDec, int32_t iValue);
int _decFromBig(odecimal *pDec, int64_t llValue);

/*
** _decFromDouble
**   Conversion by word extraction in extended precision (the low fraction
**   digits carry the double's own inexactness).  Returns 0, or -1 with count
**   -1 when the magnitude needs more than 36 integer digits or is not finite.
*/
int _decFromDouble(odecimal *pDec, double dValue);

/*
** _decToDouble
**   The value as a double: the words times their weights summed in extended
**   precision (fraction word 2, 3, 1, 0, then the integer words upwards),
**   negated for sign 1 and rounded once.
*/
double _decToDouble(const odecimal *pDec);

/*
** _dec2int
**   The integer part, fraction dropped, into *piValue.  Returns 0, or -1
**   (and 0 stored) when it lies outside -2,147,483,647..2,147,483,647 or the
**   value is in a failed state.
*/
int _dec2int(const odecimal *pDec, int32_t *piValue);

/*
** _decAdd, _decAddInt
**   pRes = a + b, pRes = a + k.  pRes may be a or b.
**   Return 0, ODEC_OVERFLOW (count -1) or ODEC_INVALID (count -2).
*/
int _decAdd(odecimal *pRes, const odecimal *pA, const odecimal *pB);
int _decAddInt(odecimal *pRes, const odecimal *pA, int32_t iK);

/*
** _decMult
**   pRes = a x b; the product's fraction is truncated to 36 digits.  pRes
**   may be a or b.  Returns 0, ODEC_OVERFLOW (count -1) or ODEC_INVALID
**   (count -2).
*/
int _decMult(odecimal *pRes, const odecimal *pA, const odecimal *pB);

/*
** _decMultInt
**   pRes = a x k.  Returns 0, ODEC_OVERFLOW (count -3, the excess in
**   iOverflow) or ODEC_INVALID (count -2).
*/
int _decMultInt(odecimal *pRes, const odecimal *pA, int32_t iK);

/*
** _decDiv
**   pRes = dividend / divisor, the exact quotient truncated to iScale
**   fraction digits (36 at most; a negative scale means 35).
**   Returns 0, ODEC_DIVZERO (count -2), ODEC_OVERFLOW (count -1) or
**   ODEC_INVALID (count -2).
*/
int _decDiv(odecimal *pRes, const odecimal *pA, const odecimal *pB, int iScale);

/*
** _decDivKnuth
**   Long division in base 10^9; same contract as _decDiv.
*/
int _decDivKnuth(odecimal *pRes, const odecimal *pA, const odecimal *pB, int iScale);

/*
** _decDivInt
**   pRes = a / k, word by word, truncated at 36 fraction digits.
**   Returns 0, ODEC_DIVZERO (count -2) or ODEC_INVALID (count -2).
*/
int _decDivInt(odecimal *pRes, const odecimal *pA, int32_t iK);

/*
** _decRound
**   Truncates the fraction to iScale digits in place (no rounding); a scale
**   of 36 or more leaves the value unchanged.  Returns 0.
*/
int _decRound(odecimal *pDec, int iScale);

/*
** _decCmp
**   -1, 0 or 1 as a is below, equal to or above b; -2 when a word-pair
**   count lies outside 1..4.
*/
int _decCmp(const odecimal *pA, const odecimal *pB);

/*
** _decCmpInt
**   -1, 0 or 1 as the value is below, equal to or above k; -2 when its
**   word-pair count lies outside 1..4.
*/
int _decCmpInt(const odecimal *pDec, int32_t iK);

/*
** _decMultPow10
**   In place x 10^n.  Returns 0 (count -1 after an overflow), or -1 for a
**   negative n.
*/
int _decMultPow10(odecimal *pDec, int iN);

/*
** Word accessors of the long division.  A position names one word: 4 the
** overflow word, 3..0 integer words 3..0, -1..-4 fraction words 0..3.
**
** _decGetValue: the word at iPos; 0 for a position outside -4..4.
** _decSetValue: stores iWord (0..999,999,999) at iPos and raises the
**   word-pair count to cover it; a position outside -4..4 is ignored.
** _decGetHighValue, _decGetLowValue: the most or least significant non-zero
**   word, its position in *piPos; 0 with position -5 for a zero value.
** _decGetSpread: positions from the lowest to the highest non-zero word,
**   both counted; 0 for a zero value.
** _decShiftValue: moves every word iN positions (positive: towards higher
**   weights), filling with zeros; words moved past 4 or -4 are lost.  The
**   word-pair count is set to cover the highest non-zero pair.
*/
int32_t _decGetValue(const odecimal *pDec, int iPos);
void _decSetValue(odecimal *pDec, int iPos, int32_t iWord);
int32_t _decGetHighValue(const odecimal *pDec, int *piPos);
int32_t _decGetLowValue(const odecimal *pDec, int *piPos);
int _decGetSpread(const odecimal *pDec);
void _decShiftValue(odecimal *pDec, int iN);

/*
** odecCreateChar
**   Text of a DECIMAL constant buffer (ODEC_CONST_LEN bytes): sign ("+" for
**   sign nibble 0xC, else "-"), the p-s integer digits, cPoint, the s
**   fraction digits; as a new ochar of that CCSID, freed with ocharDestroy.
**   NULL when memory or the string set-up fails, or p and s are invalid.
*/
ochar *odecCreateChar(const unsigned char *pBuffer, char cPoint, int iCcsid);

/*
** _decPrint
**   Debug print of the words to pStream.
*/
void _decPrint(const odecimal *pDec, FILE *pStream);

/*
** _decTest
**   Timing loop: 22 / 1.1 at scale 15, 100,000 times.  Returns the last status.
*/
int _decTest(void);

#endif
