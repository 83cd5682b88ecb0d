/*
** zorucoredel.h
**   DEL column converters, part one: the column frame that every DEL
**   converter shares (separator, null or default text, delimiters), the
**   record end, and the numeric types SMALLINT, INTEGER, BIGINT, DECIMAL,
**   DOUBLE and REAL.  Characters, graphics and LOBs are in
**   run/zorucorechar.h, dates, times and timestamps in run/zorucoredate.h.
**
**   A converter is an oconvertFunc (model/oconvert.h) listed in the
**   conversion table of run/zorucore.cpp.  It reads the source row's current
**   column (an unload record or a CLI row: 8-byte header, bytes 6-7 the
**   fixed-part length, then the record data), writes DEL text at the target
**   cursor without any terminating byte, advances both current columns and
**   the cursor, and returns 0.  The formatting parameters come from the
**   target column's core data (run/zorucore.h, reached through pExtra).
**
**   Safety: every offset and length taken from the record is checked
**   against the record buffer, and every write against the target buffer's
**   end.  A column that cannot be written whole makes its converter return
**   one of the ZORUCORE_RC_* codes below; those codes are all at or above
**   OCONVERT_RC_STOPROW, so the row ends there and the caller drops it
**   instead of writing a cut or corrupted row.
**
**   Converters keep no state.  They run in the CLI SELECT child, or in the
**   worker threads of a writer process, each worker with its own rows and
**   core data (and with them its own ICU converters and work buffer); the
**   record end of a UTF-16 file keeps a scratch buffer per thread.  The
**   column frame below is inline, since every value goes through it.
*/
#ifndef ZAV_RUN_ZORUCOREDEL_H
#define ZAV_RUN_ZORUCOREDEL_H

#include <cstddef>
#include <cstdint>

#include "common/obyte.h"
#include "common/ochar.h"
#include "model/orow.h"
#include "run/zorucore.h"

/* Reason codes of the DEL converters (module 0x010); each ends the row. */
#define ZORUCORE_RC_NOROOM    0x10a009  /* the output row buffer has no room for the column */
#define ZORUCORE_RC_BADVALUE  0x10a00a  /* the value, its slot or descriptor lies outside the record, or is no valid packed value */
#define ZORUCORE_RC_ICU       0x10a00b  /* the code-page conversion failed or did not fit its buffers */
#define ZORUCORE_RC_NOCOLUMN  0x10a00c  /* a row, its buffer, its current column or the core data is missing */

/*
** State of the column being converted, filled by _zorucoreColBegin and
** shared by the converters of the three DEL files.
*/
struct zorucoreCol {
  zorucoreData        *pcore;    /* target column's core data */
  const rowColDef     *pdefSrc;  /* source column definition */
  const unsigned char *pucData;  /* record data: source start + 8 */
  int64_t              ilData;   /* bytes of record data in the source buffer */
  int32_t              ilFixed;  /* fixed-part length (header bytes 6-7) */
  char                *pcOut;    /* next write position in the target */
};

/*
** _zorucoreRoom
**   True when ilNeed bytes can be written at pcOut before the target's end.
*/
inline bool _zorucoreRoom(const orow *prowTarget, const char *pcOut, int64_t ilNeed)
{
  if (prowTarget == nullptr || pcOut == nullptr || prowTarget->pcEnd == nullptr || ilNeed < 0) return false;
  uintptr_t ulOut = reinterpret_cast<uintptr_t>(pcOut);
  uintptr_t ulEnd = reinterpret_cast<uintptr_t>(prowTarget->pcEnd);
  return ulOut <= ulEnd && static_cast<uint64_t>(ulEnd - ulOut) >= static_cast<uint64_t>(ilNeed);
}

/*
** _zorucoreColBegin
**   Checks the two rows and the current columns, fills pcol and runs the
**   separator step at the target cursor (_zorucoreColInit: the same without
**   the separator step).
**   Returns 0; ZORUCORE_RC_NOCOLUMN when a row, its buffer, its current
**   column or the core data is missing; ZORUCORE_RC_BADVALUE when the source
**   buffer is shorter than the 8-byte header; ZORUCORE_RC_NOROOM when the
**   separator does not fit.
*/
inline int _zorucoreColInit(orow *prowSource, orow *prowTarget, zorucoreCol *pcol)
{
  if (prowSource == nullptr || prowTarget == nullptr || pcol == nullptr) return ZORUCORE_RC_NOCOLUMN;
  if (prowSource->pcoldef == nullptr || prowSource->iCurrent < 0 || prowSource->iCurrent >= prowSource->iCount)
    return ZORUCORE_RC_NOCOLUMN;
  if (prowTarget->pcoldef == nullptr || prowTarget->iCurrent < 0 || prowTarget->iCurrent >= prowTarget->iCount)
    return ZORUCORE_RC_NOCOLUMN;
  if (prowTarget->pcStart == nullptr || prowTarget->pcCursor == nullptr || prowTarget->pcEnd == nullptr)
    return ZORUCORE_RC_NOCOLUMN;
  pcol->pcore = static_cast<zorucoreData *>(prowTarget->pcoldef[prowTarget->iCurrent].pExtra);
  if (pcol->pcore == nullptr) return ZORUCORE_RC_NOCOLUMN;
  if (prowSource->pcStart == nullptr || prowSource->pcEnd == nullptr) return ZORUCORE_RC_NOCOLUMN;
  if (prowSource->pcEnd - prowSource->pcStart < 8) return ZORUCORE_RC_BADVALUE;
  const unsigned char *pucStart = reinterpret_cast<const unsigned char *>(prowSource->pcStart);
  pcol->pdefSrc = &prowSource->pcoldef[prowSource->iCurrent];
  pcol->pucData = pucStart + 8;
  pcol->ilData = (prowSource->pcEnd - prowSource->pcStart) - 8;
  pcol->ilFixed = static_cast<int16_t>(obyteGetLE16(pucStart + 6));
  pcol->pcOut = prowTarget->pcCursor;
  return 0;
}

inline int _zorucoreColBegin(orow *prowSource, orow *prowTarget, zorucoreCol *pcol)
{
  int iRc = _zorucoreColInit(prowSource, prowTarget, pcol);
  if (iRc != 0) return iRc;
  zorucoreData *pcore = pcol->pcore;
  bool boSep = (pcore->ulFlags & ZORUCORE_FLAG_SEP) && pcore->charSep.pcData != nullptr && pcore->charSep.ilBU > 0;
  if (!_zorucoreRoom(prowTarget, pcol->pcOut, boSep ? 1 : 0)) return ZORUCORE_RC_NOROOM;
  if (boSep) *pcol->pcOut++ = _charText(&pcore->charSep)[0];
  return 0;
}

/*
** _zorucoreColEnd
**   Advances both current columns and sets the target cursor to pcOut.
**   Returns 0.
*/
inline int _zorucoreColEnd(orow *prowSource, orow *prowTarget, char *pcOut)
{
  prowSource->iCurrent++;
  prowTarget->iCurrent++;
  prowTarget->pcCursor = pcOut;
  return 0;
}

/*
** _zorucoreValue
**   The address of ilSize bytes at record-data offset ilOffset, or NULL when
**   they do not lie wholly inside the record data.
*/
inline const unsigned char *_zorucoreValue(const zorucoreCol *pcol, int64_t ilOffset, int64_t ilSize)
{
  if (ilOffset < 0 || ilSize < 0 || ilOffset > pcol->ilData || ilSize > pcol->ilData - ilOffset) return nullptr;
  return pcol->pucData + ilOffset;
}

/* _zorucorePrintSep1C: writes the first byte of the separator when flags has 0x4; returns the new out. */
inline char *_zorucorePrintSep1C(zorucoreData *pcore, char *pcOut)
{
  if ((pcore->ulFlags & ZORUCORE_FLAG_SEP) && pcore->charSep.pcData != nullptr && pcore->charSep.ilBU > 0)
    *pcOut++ = _charText(&pcore->charSep)[0];
  return pcOut;
}

/* _zorucorePrintDelim1C: writes the delimiter character when flags has 0x8; returns the new out. */
inline char *_zorucorePrintDelim1C(zorucoreData *pcore, char *pcOut)
{
  if (pcore->ulFlags & ZORUCORE_FLAG_DELIM) *pcOut++ = pcore->cDelim;
  return pcOut;
}

/* What _zorucoreNullState finds. */
#define ZORUCORE_VALUE_PRESENT 0   /* inside the fixed part, not null (or not nullable) */
#define ZORUCORE_VALUE_NULL    1   /* inside the fixed part, nullable and null */
#define ZORUCORE_VALUE_ABSENT  2   /* the column lies beyond the record's fixed part */

/*
** _zorucoreNullState
**   Where the current source column's value of ilSize bytes at pucValue
**   stands: a value below the fixed-part length is inside the record, else
**   absent; a nullable one inside is null when its indicator says so (CLI
**   value, core or definition source key with 0xD000 bits: the i32 after
**   the value is negative; record value: the byte after it is not 0).
**   Returns a ZORUCORE_VALUE_* state, or ZORUCORE_RC_BADVALUE when the
**   indicator lies outside the record.
*/
inline int _zorucoreNullState(const zorucoreData *pcore, const orow *prowSource, const unsigned char *pucValue,
                              int32_t ilSize)
{
  const rowColDef *pdef = &prowSource->pcoldef[prowSource->iCurrent];
  const unsigned char *pucStart = reinterpret_cast<const unsigned char *>(prowSource->pcStart);
  const unsigned char *pucData = pucStart + 8;
  int64_t ilData = (prowSource->pcEnd - prowSource->pcStart) - 8;
  int32_t ilFixed = static_cast<int16_t>(obyteGetLE16(pucStart + 6));
  int64_t ilOffset = static_cast<int64_t>(reinterpret_cast<intptr_t>(pucValue) - reinterpret_cast<intptr_t>(pucData));

  if (ilOffset >= ilFixed) return ZORUCORE_VALUE_ABSENT;
  if ((pdef->iType & COLKEY_NULLABLE) == 0) return ZORUCORE_VALUE_PRESENT;
  /* a CLI row carries a 32-bit indicator; its key says so in the core data, and in the definition */
  bool boCli = (pcore->usSourceKey & COLKEY_CLI) != 0 || (pdef->iType & COLKEY_CLI) != 0;
  int64_t ilIndicator = ilOffset + ilSize;
  int64_t ilIndSize = boCli ? 4 : 1;
  if (ilOffset < 0 || ilSize < 0 || ilIndicator > ilData - ilIndSize) return ZORUCORE_RC_BADVALUE;
  bool boNull = boCli ? static_cast<int32_t>(obyteGetLE32(pucData + ilIndicator)) < 0 : pucData[ilIndicator] != 0;
  return boNull ? ZORUCORE_VALUE_NULL : ZORUCORE_VALUE_PRESENT;
}

/*
** _zorucoreNullDefault
**   The null and default step for the value of ilSize bytes at pucValue
**   (the current source column).  A column inside the record's fixed part
**   is written here only when it is nullable and null (an empty field, or
**   the null text under ZORUCORE_FLAG_NULLTEXT); a column beyond the fixed
**   part (added after the record was written) is written as the null/default
**   text when it is not nullable or under ZORUCORE_FLAG_NULLTEXT, else as an
**   empty field (null: see _zorucoreNullState).  When it writes the column
**   it advances both current columns and sets the target cursor after the
**   text.
**   Returns 0 when the value is still to be written, 1 when the column was
**   written, ZORUCORE_RC_BADVALUE when the null indicator lies outside the
**   record, ZORUCORE_RC_NOROOM when the default text does not fit.
*/
int _zorucoreNullDefaultWrite(zorucoreData *pcore, orow *prowSource, orow *prowTarget, char *pcOut, int iState);
inline int _zorucoreNullDefault(zorucoreData *pcore, orow *prowSource, orow *prowTarget, char *pcOut,
                                const unsigned char *pucValue, int32_t ilSize)
{
  int iState = _zorucoreNullState(pcore, prowSource, pucValue, ilSize);
  if (iState == ZORUCORE_VALUE_PRESENT) return 0;
  return _zorucoreNullDefaultWrite(pcore, prowSource, prowTarget, pcOut, iState);
}

/*
** _zorucoreDecimalDel
**   The DEL text of the packed decimal at pucValue (precision iPrec, scale
**   iScale): the sign ("-" for sign nibbles 0xB and 0xD, else "+"), the
**   integer digits with leading zeros, the decimal point (first byte of the
**   core's decimal-point string, "." when it is empty) and the fraction
**   digits; with scale 0 the point follows the digits only for an odd
**   precision.  Writes at most iPrec + 2 bytes.
**   Returns the new out, or NULL when a digit nibble is above 9, the sign
**   nibble is below 0xA, or the precision and scale are out of range
**   (1 <= iPrec, 0 <= iScale <= iPrec).
*/
char *_zorucoreDecimalDel(const unsigned char *pucValue, char *pcOut, int iPrec, int iScale,
                          zorucoreData *pcore);

/*
** _zorucoreFloatText
**   The text printf's "%.<iPrecision>G" gives for d in the C locale (at most
**   ulSize bytes, no terminating byte): most values are written digit by
**   digit, the others through std::to_chars.  Returns the length, or -1 when
**   the text does not fit.
*/
int _zorucoreFloatText(double d, int iPrecision, char *pcBuffer, size_t ulSize);

/* True when the sign nibble of a packed decimal of precision iPrec marks a negative value (0xB, 0xD). */
bool _zorucoreDecimalNegative(const unsigned char *pucValue, int iPrec);

/* Numeric converters (the N variants serve nullable sources). */
int _zorucore_Smallint2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_SmallintN2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_Integer2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_IntegerN2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_Biginteger2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_BigintegerN2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_Decimal2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_DecimalN2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_Double2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_DoubleN2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_Real2Delimited(orow *prowSource, orow *prowTarget);
int _zorucore_RealN2Delimited(orow *prowSource, orow *prowTarget);

/* Record end: the core's constant text, without separator or delimiters.
   When the core data has both converters (a DEL file in UTF-16, whose rows
   are made in UTF-8), the whole record, record end included, is then
   converted in place into the file's code page; ZORUCORE_RC_ICU or
   ZORUCORE_RC_NOROOM when it cannot be. */
int _zorucore_Const2Delimited(orow *prowSource, orow *prowTarget);

/*
** PIC routines.  No converter calls them: the DEL decimal text is the one
** of _zorucoreDecimalDel whatever the PIC option says.  The mask kind is
** iPic & 0xE000: bit 0x8000 suppresses leading zeros of the integer part,
** 0x4000 trailing zeros of the fraction, 0x2000 the decimal point when no
** fraction digit is left (kinds 0xC000, 0x8000, 0xE000, 0x4000, 0xA000, 0).
** One routine per parity of precision and scale ("Impaire" odd, "Paire"
** even); each works for any parity.
**
** _zorucorePic*: write the digits of the packed decimal under the mask with
**   the decimal-point character between integer and fraction; at least one
**   digit is written.  Return the new out.
** _zorucoreEntD*: the byte index of the first significant digit of the
**   integer part, *piLowNibble 1 when it is a low nibble; -1 when the
**   integer part is zero.
** _zorucoreDecD*: the byte index of the last significant digit of the
**   fraction, *piLowNibble as above; -1 when the fraction is zero.
** _zorucorePutSign: the first byte of the plus-sign string for a positive
**   value, "-" for a negative one; returns the new out.
*/
char *_zorucorePicImpairePaire(const unsigned char *pucValue, char *pcOut, int iPrec, int iScale, zorucoreData *pcore);
char *_zorucorePicImpaireImpaire(const unsigned char *pucValue, char *pcOut, int iPrec, int iScale, zorucoreData *pcore);
char *_zorucorePicPairePaire(const unsigned char *pucValue, char *pcOut, int iPrec, int iScale, zorucoreData *pcore);
char *_zorucorePicPaireImpaire(const unsigned char *pucValue, char *pcOut, int iPrec, int iScale, zorucoreData *pcore);
int _zorucoreEntDImpairePaire(const unsigned char *pucValue, int iPrec, int iScale, int *piLowNibble);
int _zorucoreEntDImpaireImpaire(const unsigned char *pucValue, int iPrec, int iScale, int *piLowNibble);
int _zorucoreEntDPairePaire(const unsigned char *pucValue, int iPrec, int iScale, int *piLowNibble);
int _zorucoreEntDPaireImpaire(const unsigned char *pucValue, int iPrec, int iScale, int *piLowNibble);
int _zorucoreDecDImpairePaire(const unsigned char *pucValue, int iPrec, int iScale, int *piLowNibble);
int _zorucoreDecDImpaireImpaire(const unsigned char *pucValue, int iPrec, int iScale, int *piLowNibble);
int _zorucoreDecDPairePaire(const unsigned char *pucValue, int iPrec, int iScale, int *piLowNibble);
int _zorucoreDecDPaireImpaire(const unsigned char *pucValue, int iPrec, int iScale, int *piLowNibble);
char *_zorucorePutSign(const unsigned char *pucValue, int iPrec, zorucoreData *pcore, char *pcOut);

#endif
