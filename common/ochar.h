/*
** ochar.h
**   The system's one string type: a byte buffer that knows its code page
**   (CCSID) and whether that code page is single-byte, double-byte or mixed.
**   Control-file text, identifiers, catalogue values, message texts, lexemes
**   and resource strings are all ochar objects.  The module classifies
**   CCSIDs, converts strings between code pages (37 <-> 850 through its own
**   tables, every other pair through common/ocnvft), pads, strips, compares,
**   appends, copies into fixed and length-prefixed areas and dumps strings.
**
**   Objects are either embedded in a caller's structure (ocharInit*, released
**   by freeing the owned buffer) or allocated (ocharCreate*, ocharClone,
**   released by ocharDestroy).  A buffer not marked OCHAR_OWNED is never
**   freed here.  The small operations at the end of this header are compiled
**   into every module that uses them.
**
**   Text position: a varchar object (OCHAR_VARCHAR) keeps a 16-bit length
**   prefix in native byte order at the start of its buffer, and its text
**   follows at data + 2; the buffer is then BT + 2 bytes.  Every operation
**   that changes the lengths rewrites the prefix: with L when OCHAR_REAL is
**   set, else with BU.  Otherwise the text starts at data.
**
**   Invariant (ocharIsNotValid): object and buffer set, 0 <= BU <= BT, L <= BU.
**
**   CCSIDs 0, 0xFFFF and 0xFFFE stand for no code page: conversions copy such
**   data unchanged.  Double-byte characters are 16-bit units; built from a
**   16-bit argument they are stored high byte first, except by ocharPad and
**   ocharCopyToCharFixed, which store the argument in native order.
**
**   No locking: an object and the letter cache belong to one thread.
*/
#ifndef ZAV_COMMON_OCHAR_H
#define ZAV_COMMON_OCHAR_H

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/oreason.h"

struct odict;

/* Flag bits. */
#define OCHAR_OWNED    0x0001  /* the buffer belongs to the object */
#define OCHAR_VARCHAR  0x0002  /* 16-bit length prefix before the text */
#define OCHAR_REAL     0x0004  /* the prefix counts characters (L), not bytes */
#define OCHAR_SBCS     0x0010  /* class: single-byte */
#define OCHAR_DBCS     0x0020  /* class: double-byte */
#define OCHAR_MIXED    0x0040  /* class: mixed */
#define OCHAR_OTHER    0x0080  /* class: bit data and CCSIDs outside the class lists */
#define OCHAR_CLASS    0x00F0  /* the four class bits */
#define OCHAR_850      0x0100  /* made for CCSID 850 by the initialisers */

/* Reason codes (module 0x001). */
#define OCHAR_RC_TRUNCATED 0x18001  /* text cut to fit a fixed area (information) */
#define OCHAR_RC_TOOLONG   0x1a001  /* value longer than a varchar area: nothing stored */

/* CCSIDs used by name. */
#define OCHAR_CCSID_EBCDIC 37
#define OCHAR_CCSID_ASCII  850

struct ochar {
  char    *pcData;   /* buffer, NULL when there is none */
  int32_t  ilBU;     /* byte length of the text */
  int32_t  ilBT;     /* capacity of the text area in bytes */
  int32_t  ilL;      /* character count (BU / 2 for a double-byte string) */
  uint16_t usCCSID;  /* code page */
  uint16_t usFlags;  /* OCHAR_* bits */
};

/* 850 -> 37 and 37 -> 850; each is a permutation and the inverse of the other. */
extern const unsigned char ocharTransASCII_EBCDIC[256];
extern const unsigned char ocharTransEBCDIC_ASCII[256];

/*
** Letter cache of ocharConvertChar, created on first use: keyed
** (CCSID << 16) | byte, value the converted 16-bit code | 0x10000.
*/
extern odict *gpdictLetter;

/* ---------------------------------------------------------------- creation */

/*
** ocharInit
**   Sets CCSID and class (CCSID 0 or 850 gives 850 with flags 0x110) and,
**   when ilCapacity > 0, an owned zero-filled buffer of that many bytes (no
**   buffer otherwise); BU = L = 0.  The previous contents are not freed.
**   Returns 0, or ORC_NOMEM.
*/
int ocharInit(ochar *pchar, int32_t ilCapacity, uint16_t usCCSID);

/*
** ocharCreateVarchar
**   New varchar object (OCHAR_VARCHAR, plus OCHAR_REAL when usFlags holds it)
**   with an owned zero-filled buffer of capacity + 2 bytes (none when the
**   capacity is 0).  CCSID 0 becomes 850.
**   Returns the object, or NULL when memory runs out.
*/
ochar *ocharCreateVarchar(int32_t ilCapacity, uint16_t usCCSID, uint16_t usFlags);

/*
** ocharInitFromFixed
**   Owned copy of ilLength bytes in a buffer of length + 1 bytes; BU = BT =
**   length, L = length / 2 for a double-byte CCSID, else length.  CCSID 0
**   stays 0 (class OCHAR_OTHER).  A length of 0 leaves the object without
**   buffer.
**   Returns 0, or ORC_NOMEM.
*/
int ocharInitFromFixed(ochar *pchar, const void *pBytes, int32_t ilLength, uint16_t usCCSID);

/*
** ocharInitFromVarchar
**   pArea is a DB2 VARCHAR or VARGRAPHIC: a native 16-bit length n, then the
**   data.  The object becomes a varchar object (usFlags less 0x3F0, plus
**   OCHAR_VARCHAR and the class); L = n; BU = n, or 2n for a double-byte
**   CCSID when usFlags holds OCHAR_REAL; BT = n, or 2n for a double-byte
**   CCSID.  The buffer (BT + 2 bytes) receives the prefix n and BU bytes.
**   The buffer is owned only when usFlags holds OCHAR_OWNED: a caller that
**   does not pass it must free pcData itself.
**   Returns 0, or ORC_NOMEM.
*/
int ocharInitFromVarchar(ochar *pchar, const void *pArea, uint16_t usCCSID, uint16_t usFlags);

/* ocharCreateFromVarchar: new object made by ocharInitFromVarchar, or NULL. */
ochar *ocharCreateFromVarchar(const void *pArea, uint16_t usCCSID, uint16_t usFlags);

/*
** ocharClone
**   New object with an owned copy of the buffer (same CCSID, lengths and
**   flags plus OCHAR_OWNED; a varchar prefix is copied with it), the text
**   followed by one NUL byte (two for double-byte strings).
**   Returns the copy, or NULL for NULL or when memory runs out.
*/
ochar *ocharClone(const ochar *pchar);

/* ------------------------------------------------------------- appending */

/*
** ocharAppendChar
**   Appends one character: its low byte to single-byte, mixed and other
**   strings, two bytes (high first) to double-byte strings; BU and L grow by
**   the number of bytes appended.
**   Returns 0, ORC_NOMEM, or ORC_INVALID for NULL.
*/
int ocharAppendChar(ochar *pchar, uint16_t usChar);

/*
** _ocharCatFixed
**   Appends the source cut or padded to ilWidth bytes: min(width, source BU)
**   bytes, then the fill byte for single-byte, mixed and other targets, or
**   (width - copied) / 2 units of 0x00 then the fill byte for double-byte
**   targets.  L becomes BU / 2 for double-byte targets, else BU.  A NULL
**   source counts as empty.
**   Returns 0, ORC_NOMEM, or ORC_INVALID when padding is needed and the
**   target has no class bits.
*/
int _ocharCatFixed(ochar *pcharTarget, const ochar *pcharSource, int32_t ilWidth, int iFill);

/*
** ocharConcatene
**   Appends s1 then s2 (either may be NULL).  A string with a width > 0 goes
**   through _ocharCatFixed; one without is appended whole, or without its
**   trailing fill characters when its fill is non-zero.  A non-zero
**   separator is appended after s1 (two bytes, high first, for double-byte
**   targets) unless s1 is NULL or was appended without width and empty.
**   Returns 0 or the first failing code (ORC_NOMEM, ORC_INVALID).
*/
int ocharConcatene(ochar *pcharTarget, const ochar *pchar1, int32_t ilWidth1, int iFill1,
                   const ochar *pchar2, int32_t ilWidth2, int iFill2, uint16_t usSeparator);

/* ------------------------------------------------------------ copying out */

/*
** ocharCopyToCharFixed
**   Copies min(size, BU) bytes into pArea and fills the rest: with the fill
**   byte for non-double-byte strings, with 16-bit fill units in native order
**   for double-byte strings (one per two remaining bytes).
**   Returns 0, OCHAR_RC_TRUNCATED when BU > size, ORC_INVALID for NULL.
*/
int ocharCopyToCharFixed(const ochar *pchar, void *pArea, int32_t ilSize, uint16_t usFill);

/*
** ocharCopyToVarchar
**   Writes a native 16-bit length (L when usFlags holds OCHAR_REAL, else BU)
**   and then the BU bytes.  When that length exceeds ilMaximum it writes
**   length 0 and nothing else.
**   Returns 0, OCHAR_RC_TOOLONG (error: the value was not stored), or
**   ORC_INVALID for NULL.
*/
int ocharCopyToVarchar(const ochar *pchar, void *pArea, int32_t ilMaximum, uint16_t usFlags);

/* -------------------------------------------------------------- code pages */

/* ocharDetermineBCS: returns the class bits of a CCSID: 0x10, 0x20, 0x40 or 0x80. */
int ocharDetermineBCS(uint16_t usCCSID);

/* ocharDetermineClass: second classifier, OR-ed into the flags with the class; returns 0. */
int ocharDetermineClass(uint16_t usCCSID);

/*
** ocharConvert
**   Converts the object in place to usCCSID: 37 <-> 850 through the tables,
**   every other pair through ocnvftConvert of the global context.  An equal
**   CCSID changes nothing; an empty string only takes the CCSID and its class.
**   Returns 0, ORC_NOMEM, or the code of ocnvftConvert (the object then holds
**   the new CCSID and whatever the conversion produced).
*/
int ocharConvert(ochar *pchar, uint16_t usCCSID);

/*
** ocharTranslate
**   Copies the source text into the target translated by the CCSID pair of
**   the two objects: 37 -> 850 and 850 -> 37 through the tables, 37 -> 37 and
**   850 -> 850 unchanged.  The target grows to the source's BU; its BU and L
**   become the source's.
**   Returns 0, ORC_NOMEM, or ORC_INVALID for any other pair (nothing changed).
*/
int ocharTranslate(const ochar *pcharSource, ochar *pcharTarget);

/*
** ocharTranslateCopy
**   The same translation of ilLength bytes into pOut (an unchanged copy for
**   other pairs).  Returns 0.
*/
int ocharTranslateCopy(uint16_t usSource, uint16_t usTarget, const void *pBytes, int32_t ilLength,
                       void *pOut);

/*
** ocharTranslateClone
**   Returns a malloc'ed translated (or copied) block of ilLength bytes and
**   sets *pilOutLength, or NULL when memory runs out.
*/
void *ocharTranslateClone(uint16_t usSource, uint16_t usTarget, const void *pBytes, int32_t ilLength,
                          int32_t *pilOutLength);

/*
** ocharConvertChar
**   Code of the CCSID-850 byte in usCCSID, cached per (CCSID, byte): the
**   byte itself for CCSIDs 0, 850 and 0xFFFF; otherwise the single converted
**   byte (as a signed byte widened to 16 bits) or, when more came out, the
**   first two bytes read as one native 16-bit value; the byte unchanged when
**   the conversion fails.  *piCode receives the conversion's code (0 on
**   success and on a cache hit); piCode may be NULL.
**   Returns the 16-bit character code.
*/
uint16_t ocharConvertChar(unsigned char ucByte, uint16_t usCCSID, int *piCode);

/* ---------------------------------------------------- comparison, editing */

/*
** ocharCompare
**   Compares the two texts bytewise over the shorter BU; when equal and the
**   lengths differ, the rest of the longer text must consist of the pad byte,
**   else the result is -1 when a is the shorter and 1 when b is.  NULL counts
**   as empty.
**   Returns <0, 0 or >0.
*/
int ocharCompare(const ochar *pcharA, const ochar *pcharB, int iPad);

/*
** ocharStrip
**   Removes trailing occurrences of the character: bytes for single-byte,
**   mixed and other strings, 16-bit units (high byte first) for double-byte
**   strings; BU = L = the new byte length.
**   Returns the new length in characters; 0 (unchanged) for strings without
**   class bits, empty strings and objects without buffer.
*/
int ocharStrip(ochar *pchar, uint16_t usChar);

/*
** ocharPad
**   Makes the string exactly ilCount characters: bytes for non-double-byte
**   strings (pad = its low byte), native 16-bit units for double-byte ones.
**   Mode bit 0 (tested first) pads or cuts on the left: a longer text keeps
**   its last characters, a shorter one is moved right and preceded by pads.
**   Mode bit 1 works on the right.  Afterwards L = n and BU = n (2n).
**   Returns 0, ORC_NOMEM, or ORC_INVALID (no mode bit, no class bits, NULL).
*/
int ocharPad(ochar *pchar, int32_t ilCount, int iMode, uint16_t usPad);

/*
** ocharPack
**   Turns a text of hexadecimal digits into the bytes they denote (other
**   characters count as 0; an odd last digit gives the high half of a last
**   byte); BU = L = the number of bytes.  Returns 0, ORC_INVALID for NULL.
*/
int ocharPack(ochar *pchar);

/* ------------------------------------------------------------ identifiers */

/*
** ocharIsOrdinaryIdent
**   Returns 1 for a single-byte ordinary identifier (a letter, "#", "$" or
**   "@", then letters, digits, "#", "$", "@" or "_"), for a single-byte
**   shift-out/shift-in string (0x0E first, 0x0F last, even length, no 0x0E or
**   0x0F inside, no two blanks in a row) and for double-byte strings; else 0.
*/
int ocharIsOrdinaryIdent(const ochar *pchar);

/*
** ocharBuildDelimited
**   Appends the source enclosed in the delimiter, every delimiter inside
**   doubled (for mixed text not between shift-out and shift-in when
**   iKeepShift is set).  Returns 0, ORC_NOMEM or ORC_INVALID.
*/
int ocharBuildDelimited(ochar *pcharTarget, const ochar *pcharSource, uint16_t usDelimiter,
                        int iKeepShift);

/*
** ocharBuildDelimitedIdent
**   Drops the trailing blanks of an 8-byte non-varchar source, then appends
**   an ordinary identifier unchanged (a double-byte one between 0x0E and
**   0x0F) and any other through ocharBuildDelimited.
**   Returns 0, ORC_NOMEM or ORC_INVALID.
*/
int ocharBuildDelimitedIdent(ochar *pcharTarget, const ochar *pcharSource, uint16_t usDelimiter,
                             int iKeepShift);

/* ---------------------------------------------------------- fixed fields */

/*
** ocharStripF2C
**   Copies a blank- or NUL-padded field of ilLength bytes without its
**   trailing pad into pcOutput (ilLength + 1 bytes) and terminates it.
**   Returns the length copied.
*/
int ocharStripF2C(const char *pcField, char *pcOutput, int32_t ilLength);

/*
** ocharC2F
**   Copies a NUL-terminated text into a field of ilLength bytes, cut or
**   padded with cPad; with iTerminate a NUL follows at pcField[ilLength].
**   Returns the number of text bytes copied.
*/
int ocharC2F(const char *pcText, char *pcField, int32_t ilLength, char cPad, int iTerminate);

/*
** ocharLong2F
**   Writes lValue in exactly iDigits characters ("-" first for a negative
**   value, only the low digits when it does not fit); leading zeros become
**   cFill unless it is '0'.  With iTerminate a NUL follows.  Returns 0, or
**   ORC_INVALID for fewer than one digit.
*/
int ocharLong2F(long lValue, char *pcField, int iDigits, char cFill, int iTerminate);

/*
** ocharF2Long
**   Reads an optionally signed decimal field (leading blanks skipped; stops
**   at the first other character).  Returns the value.
*/
long ocharF2Long(const char *pcField, int32_t ilLength);

/* ------------------------------------------------------------------ dumps */

/*
** ocharDump2
**   Unless iQuiet, writes iIndent blanks, the header line
**   "OCHAR- CCSID:%x BU %i BT %i L %i - " with its flag words, then the hex
**   dump of the text to *ppfile (standard output when ppfile or *ppfile is
**   NULL).
**   Returns the number of bytes the dump takes, or ORC_INVALID for an
**   invalid object.
*/
int ocharDump2(int iQuiet, FILE **ppfile, const ochar *pchar, int iIndent);

/*
** ocharPrintServices
**   Sends the header line and the hex dump of the text to pcKeyword through
**   omsgsTraceTo, one raw record per line.
**   Returns 0 (nothing done for a NULL keyword), or ORC_INVALID for an
**   invalid object.
*/
int ocharPrintServices(const ochar *pchar, const char *pcKeyword);

/*
** _charPrintBufferServices
**   Hex dump of ilLength bytes to pcKeyword, offsets counted from ilStart.
**   Returns 0.
*/
int _charPrintBufferServices(const char *pcKeyword, const void *pBytes, int32_t ilStart,
                             int32_t ilLength);

/*
** _charDumpBuffer
**   Hex dump of ilLength bytes to *ppfile (standard output when NULL), each
**   line headed by the shown address (pShown + offset), unless iQuiet.
**   Returns the number of bytes the dump takes.
*/
int _charDumpBuffer(int iQuiet, FILE **ppfile, const void *pBytes, const void *pShown,
                    int32_t ilLength);

/* ------------------------------------------ small operations (header only) */

/* Start of the text: after the prefix of a varchar object. */
inline char *_charText(const ochar *pchar)
{
  return pchar->pcData + ((pchar->usFlags & OCHAR_VARCHAR) ? 2 : 0);
}

/* Rewrites a varchar object's prefix from L (OCHAR_REAL) or BU. */
inline void _charSetPrefix(ochar *pchar)
{
  if (!(pchar->usFlags & OCHAR_VARCHAR) || pchar->pcData == nullptr) return;
  uint16_t us = static_cast<uint16_t>((pchar->usFlags & OCHAR_REAL) ? pchar->ilL : pchar->ilBU);
  std::memcpy(pchar->pcData, &us, sizeof us);
}

/*
** ocharIsNotValid
**   Returns 0 when the object and its buffer are set, 0 <= BU <= BT and
**   L <= BU; else ORC_INVALID.
*/
inline int ocharIsNotValid(const ochar *pchar)
{
  if (pchar == nullptr || pchar->pcData == nullptr) return ORC_INVALID;
  if (pchar->ilBU < 0 || pchar->ilBU > pchar->ilBT || pchar->ilL > pchar->ilBU) return ORC_INVALID;
  return 0;
}

/*
** _charSetBufferSize
**   Grows the text capacity to ilSize when it is smaller (the buffer is
**   ilSize + 2 bytes for varchar objects); new bytes are zero.  A buffer the
**   object does not own is copied into an owned one.
**   Returns 0, or ORC_NOMEM (object unchanged).
*/
inline int _charSetBufferSize(ochar *pchar, int32_t ilSize)
{
  if (pchar->pcData != nullptr && ilSize <= pchar->ilBT) return 0;
  size_t ulHead = (pchar->usFlags & OCHAR_VARCHAR) ? 2 : 0;
  size_t ulOld = pchar->pcData != nullptr ? ulHead + static_cast<size_t>(pchar->ilBT) : 0;
  size_t ulNew = ulHead + static_cast<size_t>(ilSize > 0 ? ilSize : 0);
  if (ulNew == 0) ulNew = 1;
  char *pc;
  if (pchar->pcData != nullptr && (pchar->usFlags & OCHAR_OWNED)) {
    pc = static_cast<char *>(std::realloc(pchar->pcData, ulNew));
    if (pc == nullptr) return ORC_NOMEM;
  } else {
    pc = static_cast<char *>(std::malloc(ulNew));
    if (pc == nullptr) return ORC_NOMEM;
    if (ulOld > 0) std::memcpy(pc, pchar->pcData, ulOld);
  }
  if (ulNew > ulOld) std::memset(pc + ulOld, 0, ulNew - ulOld);
  pchar->pcData = pc;
  pchar->usFlags |= OCHAR_OWNED;
  if (ilSize > pchar->ilBT) pchar->ilBT = ilSize;
  _charSetPrefix(pchar);
  return 0;
}

/* _charSetLen: sets the character count and rewrites the prefix. */
inline void _charSetLen(ochar *pchar, int32_t ilL)
{
  pchar->ilL = ilL;
  _charSetPrefix(pchar);
}

/*
** ocharAppendFixedS
**   Appends ilLength bytes (nothing for 0), growing the buffer to exactly
**   what is needed; adds the length to BU and to L.
**   Returns 0, ORC_NOMEM, or ORC_INVALID for NULL.
*/
inline int ocharAppendFixedS(ochar *pchar, const void *pBytes, int32_t ilLength)
{
  if (pchar == nullptr || ilLength < 0) return ORC_INVALID;
  if (ilLength == 0) return 0;
  int rc = _charSetBufferSize(pchar, pchar->ilBU + ilLength);
  if (rc != 0) return rc;
  std::memcpy(_charText(pchar) + pchar->ilBU, pBytes, static_cast<size_t>(ilLength));
  pchar->ilBU += ilLength;
  _charSetLen(pchar, pchar->ilL + ilLength);
  return 0;
}

/*
** ocharAppendFixed
**   ocharAppendFixedS for single-byte, mixed and other strings; nothing for
**   double-byte strings.
**   Returns 0, ORC_NOMEM, or ORC_INVALID for an object without class bits.
*/
inline int ocharAppendFixed(ochar *pchar, const void *pBytes, int32_t ilLength)
{
  if (pchar == nullptr || !(pchar->usFlags & OCHAR_CLASS)) return ORC_INVALID;
  if (pchar->usFlags & OCHAR_DBCS) return 0;
  return ocharAppendFixedS(pchar, pBytes, ilLength);
}

/*
** ocharMakeC
**   Makes sure one NUL byte (two for double-byte strings) follows the text,
**   growing the buffer; BU does not change.
**   Returns 0, ORC_NOMEM, or ORC_INVALID for NULL.
*/
inline int ocharMakeC(ochar *pchar)
{
  if (pchar == nullptr) return ORC_INVALID;
  int32_t ilNul = (pchar->usFlags & OCHAR_DBCS) ? 2 : 1;
  int rc = _charSetBufferSize(pchar, pchar->ilBU + ilNul);
  if (rc != 0) return rc;
  std::memset(_charText(pchar) + pchar->ilBU, 0, static_cast<size_t>(ilNul));
  return 0;
}

/* ocharCreate: returns a new object initialised by ocharInit, or NULL. */
inline ochar *ocharCreate(int32_t ilCapacity, uint16_t usCCSID)
{
  ochar *pchar = static_cast<ochar *>(std::malloc(sizeof(ochar)));
  if (pchar == nullptr) return nullptr;
  if (ocharInit(pchar, ilCapacity, usCCSID) != 0) {
    std::free(pchar);
    return nullptr;
  }
  return pchar;
}

/*
** ocharDestroy
**   Frees an owned buffer and clears the fields, then frees the object.
**   NULL is ignored.
*/
inline void ocharDestroy(ochar *pchar)
{
  if (pchar == nullptr) return;
  if (pchar->pcData != nullptr && (pchar->usFlags & OCHAR_OWNED)) std::free(pchar->pcData);
  std::memset(pchar, 0, sizeof *pchar);
  std::free(pchar);
}

#endif
