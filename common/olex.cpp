/*
** olex.cpp
**   Table-driven lexer (contract in olex.h).  The engine (olexGet) skips
**   blanks and "--" comment lines, dispatches on the first byte of a lexeme
**   to a row of the analyser table alexAnalysers, then feeds the row's
**   analyse routine one byte at a time until it says the lexeme is complete,
**   calling the row's at-end routine instead when the text ends.  A routine
**   that cannot go on gives the current byte to the next row of its fallback
**   chain whose capability bits the current context has.  The lexeme's text
**   is always the bytes from the start position to the stream's current
**   position; a routine that ends a lexeme before its current byte steps
**   that byte back.  The extract routine of the final row turns the text into
**   the value; a failure anywhere leaves an error code (the first one of the
**   highest severity wins) and the raw text becomes the value.
**
**   The analyse routines look only at the current and previous bytes, the
**   per-lexeme flags and single-byte peeks; keyword lookups happen once per
**   word, at its end.  Nothing is printed apart from the $OLEX trace.
*/
#include "common/olex.h"

#include <cctype>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>

#include "common/ochar.h"
#include "common/ostack.h"
#include "common/ostrdict.h"

#define OMSGS_TRACE_KEYWORD "$OLEX"
#define OMSGS_DEBUG_KEYWORD "$OLEXD"
#include "common/omsgsmod.h"

/* ------------------------------------------------------------ the table */

typedef int (*olexAnalyseProc)(olex *plex);
typedef int (*olexAtEofProc)(olex *plex);
typedef int32_t (*olexExtractProc)(olex *plex, olexValue *pvalue);

/* One row of the analyser table. */
struct olexAnalyser {
  olexAnalyseProc procAnalyse;   /* one more byte: 1 complete, 0 go on */
  olexAtEofProc procAtEof;       /* the text ended inside the lexeme: 1 */
  olexExtractProc procExtract;   /* value and lexeme id */
  uint32_t ulCapability;         /* mask bits the context needs for this row */
  uint16_t usRow;
  uint16_t usFallback;           /* next row of the chain; 0 the error row */
  int32_t iClass;                /* lexeme class of the row */
};

#define OLEX_ROW_ERROR     0
#define OLEX_ROW_INTEGER   1
#define OLEX_ROW_BIGINT    2
#define OLEX_ROW_DECIMAL   3
#define OLEX_ROW_FLOAT     4
#define OLEX_ROW_VALUE     5
#define OLEX_ROW_SEPARATOR 6
#define OLEX_ROW_OPERATOR  7
#define OLEX_ROW_DELIMITED 8
#define OLEX_ROW_DBCSIDENT 10
#define OLEX_ROW_STRING    11
#define OLEX_ROW_GRAPHIC   13
#define OLEX_ROW_HEXA      14
#define OLEX_ROW_GRAPHEXA  15
#define OLEX_ROW_UTF16     16
#define OLEX_ROW_SPECIAL   17
#define OLEX_ROW_KEYWORD   18
#define OLEX_ROW_IDENT     19
#define OLEX_ROW_BLANKS    20
#define OLEX_ROW_MISC      21
#define OLEX_ROW_REGEX     22
#define OLEX_ROW_EOL       26
#define OLEX_ROW_END       27
#define OLEX_ROW_COUNT     28
#define OLEX_ROW_NEVER     255   /* fallback of the error row, never followed */

static int _olexAnalyse_Error(olex *plex);
static int _olexAnalyse_Integer(olex *plex);
static int _olexAnalyse_Decimal(olex *plex);
static int _olexAnalyse_Float(olex *plex);
static int _olexAnalyse_Value(olex *plex);
static int _olexAnalyse_Operator(olex *plex);
static int _olexAnalyse_SbcsString(olex *plex);
static int _olexAnalyse_MixedString(olex *plex);
static int _olexAnalyse_DbcsIdent(olex *plex);
static int _olexAnalyse_GraphicString(olex *plex);
static int _olexAnalyse_HexaString(olex *plex);
static int _olexAnalyse_GraphexaString(olex *plex);
static int _olexAnalyse_Utf16String(olex *plex);
static int _olexAnalyse_SpecialString(olex *plex);
static int _olexAnalyse_Keyword(olex *plex);
static int _olexAnalyse_Identifier(olex *plex);
static int _olexAnalyse_Blanks(olex *plex);
static int _olexAnalyse_Misc(olex *plex);
static int _olexAnalyse_Regex(olex *plex);
static int _olexAnalyse_Eol(olex *plex);

static int _olexAtEof_Error(olex *plex);
static int _olexAtEof_NoAction(olex *plex);
static int _olexAtEof_LexWithID(olex *plex);
static int _olexAtEof_Delimited(olex *plex);
static int _olexAtEof_String(olex *plex);
static int _olexAtEof_DbcsIdent(olex *plex);
static int _olexAtEof_GraphicString(olex *plex);
static int _olexAtEof_HexaString(olex *plex);
static int _olexAtEof_GraphexaString(olex *plex);
static int _olexAtEof_Utf16String(olex *plex);
static int _olexAtEof_SpecialString(olex *plex);

static int32_t _olexExtract_Lexeme(olex *plex, olexValue *pvalue);
static int32_t _olexExtract_Integer(olex *plex, olexValue *pvalue);
static int32_t _olexExtract_Bigint(olex *plex, olexValue *pvalue);
static int32_t _olexExtract_Decimal(olex *plex, olexValue *pvalue);
static int32_t _olexExtract_Float(olex *plex, olexValue *pvalue);
static int32_t _olexExtract_Value(olex *plex, olexValue *pvalue);
static int32_t _olexExtract_LexWithID(olex *plex, olexValue *pvalue);
static int32_t _olexExtract_SbcsString(olex *plex, olexValue *pvalue);
static int32_t _olexExtract_MixedString(olex *plex, olexValue *pvalue);
static int32_t _olexExtract_DbcsIdent(olex *plex, olexValue *pvalue);
static int32_t _olexExtract_GraphicString(olex *plex, olexValue *pvalue);
static int32_t _olexExtract_HexaString(olex *plex, olexValue *pvalue);
static int32_t _olexExtract_GraphexaString(olex *plex, olexValue *pvalue);
static int32_t _olexExtract_Utf16String(olex *plex, olexValue *pvalue);
static int32_t _olexExtract_Identifier(olex *plex, olexValue *pvalue);
static int32_t _olexExtract_Misc(olex *plex, olexValue *pvalue);
static int32_t _olexExtract_NoValue(olex *plex, olexValue *pvalue);

static const olexAnalyser alexAnalysers[OLEX_ROW_COUNT] = {
  {_olexAnalyse_Error, _olexAtEof_Error, _olexExtract_Lexeme, 0, 0, OLEX_ROW_NEVER, 5},
  {_olexAnalyse_Integer, _olexAtEof_NoAction, _olexExtract_Integer, 0x1, 1, 5, 6},
  {_olexAnalyse_Integer, _olexAtEof_NoAction, _olexExtract_Bigint, 0x2000, 2, 5, 7},
  {_olexAnalyse_Decimal, _olexAtEof_NoAction, _olexExtract_Decimal, 0x2, 3, 4, 8},
  {_olexAnalyse_Float, _olexAtEof_NoAction, _olexExtract_Float, 0x4, 4, 21, 9},
  {_olexAnalyse_Value, _olexAtEof_NoAction, _olexExtract_Value, 0x200, 5, 4, 10},
  {_olexAnalyse_Error, _olexAtEof_Error, _olexExtract_LexWithID, 0x8, 6, 21, 1},
  {_olexAnalyse_Operator, _olexAtEof_LexWithID, _olexExtract_LexWithID, 0x100, 7, 21, 3},
  {_olexAnalyse_SbcsString, _olexAtEof_Delimited, _olexExtract_SbcsString, 0x20, 8, 9, 12},
  {_olexAnalyse_MixedString, _olexAtEof_Delimited, _olexExtract_MixedString, 0x20, 9, 23, 12},
  {_olexAnalyse_DbcsIdent, _olexAtEof_DbcsIdent, _olexExtract_DbcsIdent, 0x40, 10, 21, 13},
  {_olexAnalyse_SbcsString, _olexAtEof_String, _olexExtract_SbcsString, 0x10, 11, 12, 11},
  {_olexAnalyse_MixedString, _olexAtEof_String, _olexExtract_MixedString, 0x10, 12, 25, 11},
  {_olexAnalyse_GraphicString, _olexAtEof_GraphicString, _olexExtract_GraphicString, 0x10, 13, 21, 11},
  {_olexAnalyse_HexaString, _olexAtEof_HexaString, _olexExtract_HexaString, 0x10, 14, 21, 11},
  {_olexAnalyse_GraphexaString, _olexAtEof_GraphexaString, _olexExtract_GraphexaString, 0x10, 15, 21, 11},
  {_olexAnalyse_Utf16String, _olexAtEof_Utf16String, _olexExtract_Utf16String, 0x10, 16, 21, 11},
  {_olexAnalyse_SpecialString, _olexAtEof_SpecialString, _olexExtract_Lexeme, 0x10, 17, 18, 5},
  {_olexAnalyse_Keyword, _olexAtEof_LexWithID, _olexExtract_LexWithID, 0x80, 18, 19, 2},
  {_olexAnalyse_Identifier, _olexAtEof_NoAction, _olexExtract_Identifier, 0x40, 19, 22, 13},
  {_olexAnalyse_Blanks, _olexAtEof_NoAction, _olexExtract_Lexeme, 0x80000, 20, 21, 14},
  {_olexAnalyse_Misc, _olexAtEof_NoAction, _olexExtract_Misc, 0x400, 21, 0, 15},
  {_olexAnalyse_Regex, _olexAtEof_NoAction, _olexExtract_Identifier, 0x800, 22, 21, 17},
  {_olexAnalyse_SbcsString, _olexAtEof_Delimited, _olexExtract_SbcsString, 0x800, 23, 24, 17},
  {_olexAnalyse_MixedString, _olexAtEof_Delimited, _olexExtract_MixedString, 0x20, 24, 21, 17},
  {_olexAnalyse_SbcsString, _olexAtEof_Delimited, _olexExtract_SbcsString, 0x1000, 25, 21, 18},
  {_olexAnalyse_Eol, _olexAtEof_NoAction, _olexExtract_NoValue, 0x20000, 26, 20, 16},
  {_olexAnalyse_Error, _olexAtEof_Error, _olexExtract_NoValue, 0, 27, 0, 0},
};

/* ------------------------------------------------------- small helpers */

static inline uint32_t _olexMask(const olex *plex) { return plex->pcontextCurrent->ulMask; }

static inline bool _olexIsSpace(int c)
{
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
static inline bool _olexIsDigit(int c) { return c >= 0 && c <= 255 && std::isdigit(c); }
static inline bool _olexIsAlpha(int c) { return c >= 0 && c <= 255 && std::isalpha(c); }
static inline bool _olexIsWordByte(int c)
{
  return (c >= 0 && c <= 255 && std::isalnum(c)) || c == '_' || c == '#' || c == '$' || c == '@';
}

/* Records a code unless one of at least the same severity is recorded. */
static void _olexSetError(olex *plex, int iCode)
{
  if (plex->iErrorCode == 0 || oreasonSeverity(plex->iErrorCode) < oreasonSeverity(iCode))
    plex->iErrorCode = iCode;
}

/* Returns the current byte to the stream: the lexeme ends before it. */
static inline void _olexStepBack(olex *plex) { ostreamUngetc(plex->pstream, plex->iCurByte); }

/* The byte after the current position, left unread (OSTREAM_EOF at the end). */
static int _olexPeek(olex *plex)
{
  int c = ostreamGetc(plex->pstream);
  ostreamUngetc(plex->pstream, c);
  return c;
}

/* The lexeme's bytes so far: from the start position to the stream's position. */
static inline const char *_olexText(const olex *plex, int *piLength)
{
  const unsigned char *pcStart = plex->posStart.pos.pcPos;
  *piLength = static_cast<int>(plex->pstream->posCurrent.pcPos - pcStart);
  return reinterpret_cast<const char *>(pcStart);
}

/* Base id of a lexeme class in the current context. */
static inline int32_t _olexBaseId(const olex *plex, int iClass)
{
  return plex->pcontextCurrent->aiBaseIds[iClass];
}

static inline bool _olexIsOperatorChar(const olexContext *pcontext, int c)
{
  if (pcontext->pcharOperators == nullptr || c < 0) return false;
  return std::memchr(_charText(pcontext->pcharOperators), c,
                     static_cast<size_t>(pcontext->pcharOperators->ilBU)) != nullptr;
}

/*
** _olexContextGetSeparatorID
**   Returns the lexeme id of the byte as a separator character of the
**   current context, 0 when it is none.
*/
static int32_t _olexContextGetSeparatorID(olex *plex, int c)
{
  const olexContext *pcontext = plex->pcontextCurrent;
  if (pcontext->pcharSeparators == nullptr || c < 0) return 0;
  const char *pcSep = _charText(pcontext->pcharSeparators);
  const void *pv = std::memchr(pcSep, c, static_cast<size_t>(pcontext->pcharSeparators->ilBU));
  if (pv == nullptr) return 0;
  int i = static_cast<int>(static_cast<const char *>(pv) - pcSep);
  if (i >= ostackGetCount(pcontext->pstackSeparatorIds)) return 0;
  return static_cast<int32_t>(ostackGetAt(pcontext->pstackSeparatorIds, i));
}

/*
** _olexIsSeparator
**   True when the byte ends other lexemes in the current context: white
**   space (unless blanks glue), the delimiters, separators and operator
**   characters of the classes the context accepts.
*/
static bool _olexIsSeparator(olex *plex, int c)
{
  const olexContext *pcontext = plex->pcontextCurrent;
  uint32_t ulMask = pcontext->ulMask;
  if (c < 0) return false;
  if (_olexIsSpace(c) && !(ulMask & OLEX_CAP_BLANKS_GLUE)) return true;
  if ((ulMask & OLEX_CAP_DELIMITED) && c == static_cast<unsigned char>(pcontext->cIdentDelim)) return true;
  if ((ulMask & OLEX_CAP_STRING) && c == static_cast<unsigned char>(pcontext->cStringDelim)) return true;
  if ((ulMask & OLEX_CAP_SEPARATOR) && _olexContextGetSeparatorID(plex, c) != 0) return true;
  if ((ulMask & OLEX_CAP_OPERATOR) && _olexIsOperatorChar(pcontext, c)) return true;
  return false;
}

/* True when c is the context's decimal point with a digit before or after it. */
static bool _olexIsDecimalPoint(olex *plex, int c)
{
  const olexContext *pcontext = plex->pcontextCurrent;
  if (c < 0 || c != static_cast<unsigned char>(pcontext->cDecimal)) return false;
  if (!(pcontext->ulMask & (OLEX_CAP_DECIMAL | OLEX_CAP_FLOAT))) return false;
  return _olexIsDigit(plex->iPrevByte) || _olexIsDigit(_olexPeek(plex));
}

/* First row of the chain starting at iRow whose capability the context has. */
static int _olexResolve(const olex *plex, int iRow)
{
  uint32_t ulMask = _olexMask(plex);
  while (iRow > 0 && iRow < OLEX_ROW_COUNT) {
    if ((alexAnalysers[iRow].ulCapability & ~ulMask) == 0) return iRow;
    iRow = alexAnalysers[iRow].usFallback;
  }
  return OLEX_ROW_ERROR;
}

/* Hands the current byte to the next usable row after the current one. */
static int _olexGiveUp(olex *plex)
{
  plex->iRow = _olexResolve(plex, alexAnalysers[plex->iRow].usFallback);
  return alexAnalysers[plex->iRow].procAnalyse(plex);
}

/* The same at the end of the text: the next usable row's at-end routine decides. */
static int _olexGiveUpAtEof(olex *plex)
{
  plex->iRow = _olexResolve(plex, alexAnalysers[plex->iRow].usFallback);
  return alexAnalysers[plex->iRow].procAtEof(plex);
}

/* Makes row iRow (resolved against the mask) current and analyses the current byte there. */
static int _olexHandOver(olex *plex, int iRow)
{
  plex->iRow = _olexResolve(plex, iRow);
  return alexAnalysers[plex->iRow].procAnalyse(plex);
}

/* Looks a text up in the current context's keyword dictionary. */
static const olexDefEntry *_olexLookup(olex *plex, const char *pcText, int iLength, bool bUpper)
{
  if (iLength <= 0) return nullptr;
  std::string sKey(pcText, static_cast<size_t>(iLength));
  if (bUpper && !(_olexMask(plex) & OLEX_CAP_KEEP_CASE)) memupr(sKey.data(), sKey.size());
  return static_cast<const olexDefEntry *>(
      ostrdictLoadFixed(plex->pcontextCurrent->pdictKeywords, sKey.data(), sKey.size()));
}

/* Accepts a matched entry as the lexeme's id and action. */
static inline void _olexMatch(olex *plex, const olexDefEntry *pentry)
{
  plex->pentry = pentry;
  plex->iLexId = pentry->iId;
}

/*
** Stores a new ochar of the bytes in the value cell (nothing without a
** cell).  Returns 0, or ORC_NOMEM.
*/
static int _olexSetText(olexValue *pvalue, uint16_t usCcsid, const char *pcBytes, int iLength,
                        bool bUpper)
{
  if (pvalue == nullptr) return 0;
  ochar *pchar = ocharCreate(iLength + 1, usCcsid);
  if (pchar == nullptr) return ORC_NOMEM;
  if (ocharAppendFixedS(pchar, pcBytes, iLength) != 0) {
    ocharDestroy(pchar);
    return ORC_NOMEM;
  }
  if (bUpper) memupr(_charText(pchar), static_cast<size_t>(iLength));
  if (pchar->usFlags & OCHAR_DBCS) _charSetLen(pchar, pchar->ilBU / 2);
  pvalue->pchar = pchar;
  return 0;
}

/* --------------------------------------------------------- shared helpers */

int _olexAtoi(const char *pcText, int iLength, int32_t *piValue)
{
  int64_t llValue = 0;
  bool bNegative = false;
  int i = 0;
  if (iLength > 0 && (pcText[0] == '+' || pcText[0] == '-')) {
    bNegative = pcText[0] == '-';
    i = 1;
  }
  for (; i < iLength; i++) {
    int c = static_cast<unsigned char>(pcText[i]);
    if (!_olexIsDigit(c)) return -1;
    int iDigit = c - '0';
    if (llValue > 214748364 || (llValue == 214748364 && iDigit > (bNegative ? 8 : 7))) return -1;
    llValue = llValue * 10 + iDigit;
  }
  *piValue = static_cast<int32_t>(bNegative ? -llValue : llValue);
  return 0;
}

int _olexAtoll(const char *pcText, int iLength, int64_t *pllValue)
{
  uint64_t ullValue = 0;
  bool bNegative = false;
  int i = 0;
  if (iLength > 0 && (pcText[0] == '+' || pcText[0] == '-')) {
    bNegative = pcText[0] == '-';
    i = 1;
  }
  const uint64_t ullLimit = 922337203685477580ull;  /* 0x0CCCCCCCCCCCCCCC */
  for (; i < iLength; i++) {
    int c = static_cast<unsigned char>(pcText[i]);
    if (!_olexIsDigit(c)) return -1;
    unsigned iDigit = static_cast<unsigned>(c - '0');
    if (ullValue > ullLimit || (ullValue == ullLimit && iDigit > (bNegative ? 8u : 7u))) return -1;
    ullValue = ullValue * 10 + iDigit;
  }
  /* Negating in unsigned arithmetic gives -2^63 without overflow. */
  *pllValue = bNegative ? static_cast<int64_t>(0 - ullValue) : static_cast<int64_t>(ullValue);
  return 0;
}

int _olexConvHexa(const char *pcText, int iCount)
{
  int iValue = 0;
  for (int i = 0; i < iCount; i++) {
    int c = static_cast<unsigned char>(pcText[i]);
    int iDigit = _olexIsDigit(c) ? c - '0' : std::toupper(c) - 55;
    iValue = iValue * 16 + iDigit;
  }
  return iValue;
}

void memupr(char *pcText, size_t iLength)
{
  for (size_t i = 0; i < iLength; i++)
    pcText[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(pcText[i])));
}

/*
** _olexGetLexeme
**   Returns a new malloc'ed copy of the lexeme's text in a block of its
**   length plus iDelta bytes (the extra bytes zeroed), and its length in
**   *piLength; NULL when memory runs out.
*/
static char *_olexGetLexeme(olex *plex, int *piLength, int iDelta)
{
  int iLength;
  const char *pcText = _olexText(plex, &iLength);
  size_t ulSize = static_cast<size_t>(iLength) + static_cast<size_t>(iDelta > 0 ? iDelta : 0);
  char *pc = static_cast<char *>(std::calloc(ulSize > 0 ? ulSize : 1, 1));
  if (pc == nullptr) return nullptr;
  std::memcpy(pc, pcText, static_cast<size_t>(iLength));
  *piLength = iLength;
  return pc;
}

/* ------------------------------------------------ analysers: numbers */

static int _olexAnalyse_Integer(olex *plex)
{
  int c = plex->iCurByte;
  if (_olexIsDigit(c)) return 0;
  if (_olexIsDecimalPoint(plex, c)) return _olexHandOver(plex, OLEX_ROW_DECIMAL);
  if (_olexIsSeparator(plex, c)) {
    _olexStepBack(plex);
    return 1;
  }
  return _olexGiveUp(plex);
}

static int _olexAnalyse_Decimal(olex *plex)
{
  int c = plex->iCurByte;
  if (_olexIsDigit(c)) return 0;
  if (!(plex->ulState & OLEX_ST_POINT) && _olexIsDecimalPoint(plex, c)) {
    plex->ulState |= OLEX_ST_POINT;
    return 0;
  }
  if (_olexIsSeparator(plex, c)) {
    _olexStepBack(plex);
    return 1;
  }
  return _olexGiveUp(plex);
}

static int _olexAnalyse_Float(olex *plex)
{
  int c = plex->iCurByte;
  if (_olexIsDigit(c)) return 0;
  if (!(plex->ulState & OLEX_ST_POINT) && _olexIsDecimalPoint(plex, c)) {
    plex->ulState |= OLEX_ST_POINT;
    return 0;
  }
  if ((c == 'E' || c == 'e') && !(plex->ulState & OLEX_ST_EXPONENT)) {
    plex->ulState |= OLEX_ST_EXPONENT;
    return 0;
  }
  if ((c == '+' || c == '-') && (plex->iPrevByte == 'E' || plex->iPrevByte == 'e')) return 0;
  if (_olexIsSeparator(plex, c)) {
    _olexStepBack(plex);
    return 1;
  }
  return _olexGiveUp(plex);
}

static int _olexAnalyse_Value(olex *plex)
{
  int c = plex->iCurByte;
  if (_olexIsDigit(c)) return 0;
  if (_olexIsDecimalPoint(plex, c)) return _olexGiveUp(plex);
  if (_olexIsAlpha(c)) {
    if (!_olexIsDigit(plex->iPrevByte)) return _olexHandOver(plex, OLEX_ROW_MISC);
    switch (c) {
      case 'K': case 'k': case 'M': case 'm': case 'G': case 'g':
        return 0;
      default:
        return _olexGiveUp(plex);
    }
  }
  if (_olexIsSeparator(plex, c)) {
    _olexStepBack(plex);
    return 1;
  }
  return _olexGiveUp(plex);
}

/* ------------------------------------------------ analysers: words */

static int _olexAnalyse_Keyword(olex *plex)
{
  int c = plex->iCurByte;
  if (_olexIsWordByte(c)) return 0;
  if (!_olexIsSeparator(plex, c)) {
    if ((_olexMask(plex) & OLEX_CAP_REGEX) && c == '%') return _olexHandOver(plex, OLEX_ROW_REGEX);
    plex->ulState |= OLEX_ST_NONWORD;
    return 0;
  }
  int iLength;
  const char *pcText = _olexText(plex, &iLength);
  const olexDefEntry *pentry = _olexLookup(plex, pcText, iLength, true);
  if (pentry == nullptr) {
    pentry = _olexLookup(plex, pcText, iLength - 1, true);
    if (pentry != nullptr) _olexStepBack(plex);
  }
  if (pentry != nullptr) {
    _olexMatch(plex, pentry);
    return 1;
  }
  return _olexGiveUp(plex);
}

static int _olexAnalyse_Identifier(olex *plex)
{
  int c = plex->iCurByte;
  if (!(plex->ulState & OLEX_ST_NONWORD)) {
    if (_olexIsWordByte(c)) return 0;
    if (_olexIsSeparator(plex, c)) {
      _olexStepBack(plex);
      return 1;
    }
  }
  return _olexGiveUp(plex);
}

static int _olexAnalyse_Regex(olex *plex)
{
  int c = plex->iCurByte;
  if (_olexIsWordByte(c) || c == '%' || c == '_') return 0;
  if (_olexIsSeparator(plex, c)) {
    _olexStepBack(plex);
    return 1;
  }
  return _olexGiveUp(plex);
}

static int _olexAnalyse_Operator(olex *plex)
{
  int c = plex->iCurByte;
  if (_olexIsOperatorChar(plex->pcontextCurrent, c)) return 0;
  int iLength;
  const char *pcText = _olexText(plex, &iLength);
  const olexDefEntry *pentry = _olexLookup(plex, pcText, iLength - 1, false);
  if (pentry != nullptr) {
    _olexMatch(plex, pentry);
    _olexStepBack(plex);
    return 1;
  }
  return _olexGiveUp(plex);
}

static int _olexAnalyse_Misc(olex *plex)
{
  if (_olexIsSeparator(plex, plex->iCurByte)) {
    _olexStepBack(plex);
    return 1;
  }
  return 0;
}

static int _olexAnalyse_Blanks(olex *plex)
{
  int c = plex->iCurByte;
  if (_olexIsSpace(c) && !(c == '\n' && (_olexMask(plex) & OLEX_CAP_EOL))) return 0;
  _olexStepBack(plex);
  return 1;
}

static int _olexAnalyse_Eol(olex *plex)
{
  _olexStepBack(plex);
  return 1;
}

static int _olexAnalyse_Error(olex *plex)
{
  _olexSetError(plex, OLEX_ERR_BYTE);
  return 1;
}

/* ------------------------------------------------ analysers: quoted text */

static int _olexAnalyse_SbcsString(olex *plex)
{
  int c = plex->iCurByte;
  if (c == plex->iQuote) {
    plex->ulState ^= OLEX_ST_CLOSED;   /* closes; a second quote right after reopens */
    return 0;
  }
  if (!(plex->ulState & OLEX_ST_CLOSED)) {
    if (c == OLEX_SHIFT_OUT && (plex->ulFlags & OLEX_FLAG_MIXED)) {
      plex->iDbcsCount = 0;
      plex->ulState |= OLEX_ST_DBCS;
      return _olexGiveUp(plex);   /* to the mixed-string row */
    }
    return 0;
  }
  if (_olexIsSeparator(plex, c)) {
    _olexStepBack(plex);
    return 1;
  }
  return _olexHandOver(plex, OLEX_ROW_MISC);
}

/*
** Quoted text holding shift-out/shift-in sections.  Inside a section bytes
** are only counted (a quote there is data); a shift-in read at an even count
** ends the section.  Outside, the rules of single-byte strings apply.
*/
static int _olexAnalyse_MixedString(olex *plex)
{
  int c = plex->iCurByte;
  if (plex->ulState & OLEX_ST_DBCS) {
    if (c == OLEX_SHIFT_OUT && plex->iDbcsCount == 0) return 0;   /* the section's own shift-out */
    if (c == OLEX_SHIFT_IN && (plex->iDbcsCount % 2) == 0) {
      plex->ulState &= ~OLEX_ST_DBCS;
      return 0;
    }
    plex->iDbcsCount++;
    return 0;
  }
  if (c == plex->iQuote) {
    plex->ulState ^= OLEX_ST_CLOSED;
    return 0;
  }
  if (!(plex->ulState & OLEX_ST_CLOSED)) {
    if (c == OLEX_SHIFT_OUT) {
      plex->iDbcsCount = 0;
      plex->ulState |= OLEX_ST_DBCS;
    }
    return 0;
  }
  if (_olexIsSeparator(plex, c)) {
    _olexStepBack(plex);
    return 1;
  }
  return _olexHandOver(plex, OLEX_ROW_MISC);
}

static int _olexAnalyse_SpecialString(olex *plex)
{
  int c = plex->iCurByte;
  if (c != '\'') {
    if (plex->iConsumed == 1 && _olexIsAlpha(c)) return 0;
    return _olexGiveUp(plex);
  }
  int iFirst = plex->posStart.pos.pcPos[0];
  int iRow = -1;
  if (plex->iConsumed == 1) {
    switch (iFirst) {
      case 'G': case 'g': case 'N': case 'n': iRow = OLEX_ROW_GRAPHIC; break;
      case 'X': case 'x': iRow = OLEX_ROW_HEXA; break;
      default: break;
    }
  } else if (plex->iConsumed == 2 && (plex->iPrevByte == 'X' || plex->iPrevByte == 'x')) {
    switch (iFirst) {
      case 'G': case 'g': iRow = OLEX_ROW_GRAPHEXA; break;
      case 'U': case 'u': iRow = OLEX_ROW_UTF16; break;
      default: break;
    }
  }
  if (iRow < 0) return _olexGiveUp(plex);
  plex->iRow = _olexResolve(plex, iRow);
  plex->iQuote = '\'';
  return 0;
}

static int _olexAnalyse_GraphicString(olex *plex)
{
  int c = plex->iCurByte;
  if (plex->ulState & OLEX_ST_CLOSED) {
    if (_olexIsSeparator(plex, c)) {
      _olexStepBack(plex);
      return 1;
    }
    return _olexGiveUp(plex);
  }
  if (plex->iConsumed == 2) {   /* first byte after the apostrophe */
    if (c == OLEX_SHIFT_OUT) {
      plex->ulState |= OLEX_ST_DBCS;
      plex->iDbcsCount = 0;
    } else if (c == '\'') {
      plex->ulState |= OLEX_ST_CLOSED;
    } else {
      _olexSetError(plex, OLEX_ERR_GRAPHIC);
    }
    return 0;
  }
  if (plex->ulState & OLEX_ST_DBCS) {
    if (c == OLEX_SHIFT_IN && (plex->iDbcsCount % 2) == 0)
      plex->ulState &= ~OLEX_ST_DBCS;
    else
      plex->iDbcsCount++;
    return 0;
  }
  if (c == '\'')
    plex->ulState |= OLEX_ST_CLOSED;
  else
    _olexSetError(plex, OLEX_ERR_GRAPHIC);
  return 0;
}

/* Shared by the three hexadecimal strings: open until the apostrophe. */
static int _olexAnalyseHexaLike(olex *plex)
{
  int c = plex->iCurByte;
  if (plex->ulState & OLEX_ST_CLOSED) {
    if (_olexIsSeparator(plex, c)) {
      _olexStepBack(plex);
      return 1;
    }
    return _olexGiveUp(plex);
  }
  if (c == '\'') plex->ulState |= OLEX_ST_CLOSED;
  return 0;
}

static int _olexAnalyse_HexaString(olex *plex) { return _olexAnalyseHexaLike(plex); }
static int _olexAnalyse_GraphexaString(olex *plex) { return _olexAnalyseHexaLike(plex); }
static int _olexAnalyse_Utf16String(olex *plex) { return _olexAnalyseHexaLike(plex); }

static int _olexAnalyse_DbcsIdent(olex *plex)
{
  int c = plex->iCurByte;
  if (plex->ulState & OLEX_ST_DBCS) {
    if (c == OLEX_SHIFT_IN && (plex->iDbcsCount % 2) == 0)
      plex->ulState &= ~OLEX_ST_DBCS;
    else
      plex->iDbcsCount++;
    return 0;
  }
  if (_olexIsSeparator(plex, c)) {
    _olexStepBack(plex);
    return 1;
  }
  return _olexGiveUp(plex);
}

/* ------------------------------------------------------ at-end routines */

static int _olexAtEof_Error(olex *plex)
{
  _olexSetError(plex, OLEX_ERR_EOF);
  return 1;
}

static int _olexAtEof_NoAction(olex *) { return 1; }

static int _olexAtEof_LexWithID(olex *plex)
{
  int iLength;
  const char *pcText = _olexText(plex, &iLength);
  const olexDefEntry *pentry = _olexLookup(plex, pcText, iLength, true);
  if (pentry != nullptr) {
    _olexMatch(plex, pentry);
    return 1;
  }
  return _olexGiveUpAtEof(plex);
}

static int _olexAtEof_String(olex *plex)
{
  if (!(plex->ulState & OLEX_ST_CLOSED)) _olexSetError(plex, OLEX_ERR_OPEN_STRING);
  return 1;
}

static int _olexAtEof_Delimited(olex *plex)
{
  if (!(plex->ulState & OLEX_ST_CLOSED)) _olexSetError(plex, OLEX_ERR_OPEN_DELIM);
  return 1;
}

static int _olexAtEof_GraphicString(olex *plex)
{
  if (!(plex->ulState & OLEX_ST_CLOSED)) _olexSetError(plex, OLEX_ERR_OPEN_GRAPHIC);
  return 1;
}

static int _olexAtEof_HexaString(olex *plex)
{
  if (!(plex->ulState & OLEX_ST_CLOSED)) _olexSetError(plex, OLEX_ERR_OPEN_HEXA);
  return 1;
}

static int _olexAtEof_GraphexaString(olex *plex) { return _olexAtEof_HexaString(plex); }

static int _olexAtEof_Utf16String(olex *plex)
{
  if (!(plex->ulState & OLEX_ST_CLOSED)) _olexSetError(plex, OLEX_ERR_OPEN_STRING);
  return 1;
}

static int _olexAtEof_SpecialString(olex *plex) { return _olexGiveUpAtEof(plex); }

/* A double-byte identifier may end the text; only an open section is an error. */
static int _olexAtEof_DbcsIdent(olex *plex)
{
  if (plex->ulState & OLEX_ST_DBCS) _olexSetError(plex, OLEX_ERR_OPEN_DELIM);
  return 1;
}

/* ------------------------------------------------------ extract routines */

static int32_t _olexClassId(const olex *plex) { return _olexBaseId(plex, alexAnalysers[plex->iRow].iClass); }

static int32_t _olexFail(olex *plex, int iCode)
{
  _olexSetError(plex, iCode);
  return _olexBaseId(plex, OLEX_CLASS_ERROR);
}

static int32_t _olexExtract_NoValue(olex *plex, olexValue *pvalue)
{
  if (pvalue != nullptr) pvalue->ll = 0;
  return _olexClassId(plex);
}

static int32_t _olexExtract_LexWithID(olex *plex, olexValue *pvalue)
{
  if (pvalue != nullptr) pvalue->ll = 0;
  return plex->iLexId;
}

static int32_t _olexExtract_Lexeme(olex *plex, olexValue *pvalue)
{
  int iLength;
  const char *pcText = _olexText(plex, &iLength);
  if (_olexSetText(pvalue, plex->usCcsidSBCS, pcText, iLength, false) != 0)
    return _olexFail(plex, ORC_NOMEM);
  return _olexClassId(plex);
}

static int32_t _olexExtract_Misc(olex *plex, olexValue *pvalue) { return _olexExtract_Lexeme(plex, pvalue); }

static int32_t _olexExtract_Identifier(olex *plex, olexValue *pvalue)
{
  int iLength;
  const char *pcText = _olexText(plex, &iLength);
  bool bUpper = !(_olexMask(plex) & OLEX_CAP_KEEP_CASE);
  if (_olexSetText(pvalue, plex->usCcsidSBCS, pcText, iLength, bUpper) != 0)
    return _olexFail(plex, ORC_NOMEM);
  return _olexClassId(plex);
}

/* Passes a number that does not fit to the next usable row's extractor, if any. */
static int32_t _olexExtractWider(olex *plex, olexValue *pvalue, int iRow, int iCode)
{
  int iNext = _olexResolve(plex, iRow);
  if (iNext == OLEX_ROW_ERROR || iNext == OLEX_ROW_MISC) return _olexFail(plex, iCode);
  plex->iRow = iNext;
  return alexAnalysers[iNext].procExtract(plex, pvalue);
}

static int32_t _olexExtract_Integer(olex *plex, olexValue *pvalue)
{
  int iLength;
  const char *pcText = _olexText(plex, &iLength);
  int32_t iValue;
  if (_olexAtoi(pcText, iLength, &iValue) != 0)
    return _olexExtractWider(plex, pvalue, OLEX_ROW_BIGINT, OLEX_ERR_INTEGER);
  if (pvalue != nullptr) {
    pvalue->ll = 0;
    pvalue->i = iValue;
  }
  return _olexBaseId(plex, OLEX_CLASS_INTEGER);
}

static int32_t _olexExtract_Bigint(olex *plex, olexValue *pvalue)
{
  int iLength;
  const char *pcText = _olexText(plex, &iLength);
  int64_t llValue;
  if (_olexAtoll(pcText, iLength, &llValue) != 0)
    return _olexExtractWider(plex, pvalue, OLEX_ROW_DECIMAL, OLEX_ERR_BIGINT);
  if (pvalue != nullptr) pvalue->ll = llValue;
  return _olexBaseId(plex, OLEX_CLASS_BIGINT);
}

static int32_t _olexExtract_Decimal(olex *plex, olexValue *pvalue)
{
  int iLength;
  const char *pcText = _olexText(plex, &iLength);
  unsigned char acBlock[OLEX_DECIMAL_SIZE] = {0};
  int iStart = 0;
  bool bNegative = false;
  if (iLength > 0 && (pcText[0] == '+' || pcText[0] == '-')) {
    bNegative = pcText[0] == '-';
    iStart = 1;
  }
  int iDigits = 0, iScale = 0;
  bool bPoint = false;
  unsigned char ucPoint = static_cast<unsigned char>(plex->pcontextCurrent->cDecimal);
  for (int i = iLength - 1; i >= iStart; i--) {
    unsigned char c = static_cast<unsigned char>(pcText[i]);
    if (c == ucPoint && !bPoint) {
      bPoint = true;
      iScale = iDigits;
      continue;
    }
    if (!_olexIsDigit(c) || iDigits == OLEX_DECIMAL_DIGITS) return _olexFail(plex, OLEX_ERR_DECIMAL);
    /* Digit k from the right: the first in the high nibble of byte 17. */
    int iByte = OLEX_DECIMAL_SIZE - 1 - (iDigits + 1) / 2;
    if (iDigits % 2 == 0)
      acBlock[iByte] = static_cast<unsigned char>(acBlock[iByte] | (c - '0') << 4);
    else
      acBlock[iByte] = static_cast<unsigned char>(acBlock[iByte] | (c - '0'));
    iDigits++;
  }
  if (iDigits == 0) return _olexFail(plex, OLEX_ERR_DECIMAL);
  acBlock[0] = static_cast<unsigned char>(iDigits);
  acBlock[1] = static_cast<unsigned char>(iScale);
  acBlock[OLEX_DECIMAL_SIZE - 1] |= bNegative ? 0x0D : 0x0C;
  if (pvalue != nullptr) {
    unsigned char *pcBlock = static_cast<unsigned char *>(std::malloc(OLEX_DECIMAL_SIZE));
    if (pcBlock == nullptr) return _olexFail(plex, ORC_NOMEM);
    std::memcpy(pcBlock, acBlock, OLEX_DECIMAL_SIZE);
    pvalue->pcDecimal = pcBlock;
  }
  return _olexBaseId(plex, OLEX_CLASS_DECIMAL);
}

static int32_t _olexExtract_Float(olex *plex, olexValue *pvalue)
{
  int iLength;
  char *pcCopy = _olexGetLexeme(plex, &iLength, 1);
  if (pcCopy == nullptr) return _olexFail(plex, ORC_NOMEM);
  char cPoint = plex->pcontextCurrent->cDecimal;
  if (cPoint != '.') {
    char *pc = static_cast<char *>(std::memchr(pcCopy, cPoint, static_cast<size_t>(iLength)));
    if (pc != nullptr) *pc = '.';
  }
  /* Independent of the process locale, whose decimal point may not be ".". */
  const char *pcFirst = pcCopy;
  if (iLength > 0 && *pcFirst == '+') pcFirst++;
  double d = 0;
  auto res = std::from_chars(pcFirst, pcCopy + iLength, d, std::chars_format::general);
  bool bOk = iLength > 0 && res.ec == std::errc() && res.ptr == pcCopy + iLength;
  std::free(pcCopy);
  if (!bOk) return _olexFail(plex, OLEX_ERR_FLOAT);
  if (pvalue != nullptr) pvalue->d = d;
  return _olexBaseId(plex, OLEX_CLASS_FLOAT);
}

static int32_t _olexExtract_Value(olex *plex, olexValue *pvalue)
{
  int iLength;
  const char *pcText = _olexText(plex, &iLength);
  int32_t iUnit = 0;
  if (iLength > 0) {
    switch (pcText[iLength - 1]) {
      case 'K': case 'k': iUnit = 1; break;
      case 'M': case 'm': iUnit = 2; break;
      case 'G': case 'g': iUnit = 3; break;
      default: break;
    }
  }
  if (iUnit != 0) iLength--;
  int32_t iNumber;
  if (_olexAtoi(pcText, iLength, &iNumber) != 0) return _olexFail(plex, OLEX_ERR_VALUE);
  if (pvalue != nullptr) {
    pvalue->val.iUnit = iUnit;
    pvalue->val.iNumber = iNumber;
  }
  return _olexBaseId(plex, OLEX_CLASS_VALUE);
}

static int32_t _olexExtract_SbcsString(olex *plex, olexValue *pvalue)
{
  int iLength;
  const char *pcText = _olexText(plex, &iLength);
  if (iLength < 2 || pcText[0] != pcText[iLength - 1]) return _olexFail(plex, OLEX_ERR_OPEN_STRING);
  char cQuote = pcText[0];
  std::string s;
  for (int i = 1; i < iLength - 1; i++) {
    s.push_back(pcText[i]);
    if (pcText[i] == cQuote && i + 1 < iLength - 1 && pcText[i + 1] == cQuote) i++;
  }
  if (_olexSetText(pvalue, plex->usCcsidSBCS, s.data(), static_cast<int>(s.size()), false) != 0)
    return _olexFail(plex, ORC_NOMEM);
  return _olexClassId(plex);
}

static int32_t _olexExtract_MixedString(olex *plex, olexValue *pvalue)
{
  int iLength;
  const char *pcText = _olexText(plex, &iLength);
  if (iLength < 2 || pcText[0] != pcText[iLength - 1]) return _olexFail(plex, OLEX_ERR_OPEN_STRING);
  char cQuote = pcText[0];
  int iEnd = iLength - 1;
  std::string s;
  bool bSection = false;
  for (int i = 1; i < iEnd;) {
    char c = pcText[i];
    if (bSection) {
      if (c == OLEX_SHIFT_IN) {
        s.push_back(c);
        bSection = false;
        i++;
      } else {
        if (i + 1 >= iEnd) return _olexFail(plex, OLEX_ERR_OPEN_STRING);
        s.append(pcText + i, 2);
        i += 2;
      }
    } else if (c == cQuote) {
      if (i + 1 >= iEnd || pcText[i + 1] != cQuote) return _olexFail(plex, OLEX_ERR_OPEN_STRING);
      s.push_back(c);
      i += 2;
    } else {
      if (c == OLEX_SHIFT_OUT) bSection = true;
      s.push_back(c);
      i++;
    }
  }
  if (bSection) return _olexFail(plex, OLEX_ERR_OPEN_STRING);
  if (_olexSetText(pvalue, plex->usCcsidMixed, s.data(), static_cast<int>(s.size()), false) != 0)
    return _olexFail(plex, ORC_NOMEM);
  return _olexClassId(plex);
}

static int32_t _olexExtract_GraphicString(olex *plex, olexValue *pvalue)
{
  int iLength;
  const char *pcText = _olexText(plex, &iLength);
  bool bShort = iLength == 3 && pcText[1] == '\'' && pcText[2] == '\'';
  bool bLong = iLength >= 5 && (iLength % 2) == 1 && pcText[1] == '\'' &&
               pcText[2] == OLEX_SHIFT_OUT && pcText[iLength - 2] == OLEX_SHIFT_IN &&
               pcText[iLength - 1] == '\'';
  if (!bShort && !bLong) return _olexFail(plex, OLEX_ERR_GRAPHIC);
  const char *pcData = bLong ? pcText + 3 : pcText;
  int iData = bLong ? iLength - 5 : 0;
  if (_olexSetText(pvalue, plex->usCcsidDBCS, pcData, iData, false) != 0) return _olexFail(plex, ORC_NOMEM);
  return _olexBaseId(plex, OLEX_CLASS_STRING);
}

/* X'..', GX'..', UX'..': iPrefix bytes before the digits, a multiple of iModulo digits. */
static int32_t _olexExtractHexa(olex *plex, olexValue *pvalue, int iPrefix, int iModulo,
                                uint16_t usCcsid)
{
  int iLength;
  const char *pcText = _olexText(plex, &iLength);
  if (iLength < iPrefix + 1 || pcText[iLength - 1] != pcText[iPrefix - 1])
    return _olexFail(plex, OLEX_ERR_HEXA);
  int iDigits = iLength - iPrefix - 1;
  if (iDigits % iModulo != 0) return _olexFail(plex, OLEX_ERR_HEXA);
  std::string s;
  for (int i = 0; i < iDigits; i += 2) {
    const char *pc = pcText + iPrefix + i;
    if (!std::isxdigit(static_cast<unsigned char>(pc[0])) || !std::isxdigit(static_cast<unsigned char>(pc[1])))
      return _olexFail(plex, OLEX_ERR_HEXA);
    s.push_back(static_cast<char>(_olexConvHexa(pc, 2)));
  }
  if (_olexSetText(pvalue, usCcsid, s.data(), static_cast<int>(s.size()), false) != 0)
    return _olexFail(plex, ORC_NOMEM);
  return _olexBaseId(plex, OLEX_CLASS_STRING);
}

static int32_t _olexExtract_HexaString(olex *plex, olexValue *pvalue)
{
  return _olexExtractHexa(plex, pvalue, 2, 2, 0xFFFF);
}

static int32_t _olexExtract_GraphexaString(olex *plex, olexValue *pvalue)
{
  return _olexExtractHexa(plex, pvalue, 3, 4, plex->usCcsidDBCS);
}

static int32_t _olexExtract_Utf16String(olex *plex, olexValue *pvalue)
{
  return _olexExtractHexa(plex, pvalue, 3, 4, 1200);
}

static int32_t _olexExtract_DbcsIdent(olex *plex, olexValue *pvalue)
{
  int iLength;
  const char *pcText = _olexText(plex, &iLength);
  if (iLength < 2 || pcText[0] != OLEX_SHIFT_OUT || pcText[iLength - 1] != OLEX_SHIFT_IN)
    return _olexFail(plex, OLEX_ERR_DBCS_IDENT);
  for (int i = 1; i + 1 < iLength - 1; i += 2)
    if (pcText[i] == 0x40 && pcText[i + 1] == 0x40) return _olexFail(plex, OLEX_ERR_DBCS_IDENT);
  if (_olexSetText(pvalue, plex->usCcsidMixed, pcText, iLength, false) != 0) return _olexFail(plex, ORC_NOMEM);
  return _olexBaseId(plex, OLEX_CLASS_IDENTIFIER);
}

/* ------------------------------------------------------------ contexts */

int olexContextAddSeparator(olexContext *pcontext, const char *pcText, int32_t iId)
{
  if (pcontext == nullptr || pcText == nullptr || pcText[0] == 0) return ORC_INVALID;
  if (pcontext->pcharSeparators == nullptr) {
    pcontext->pcharSeparators = ocharCreate(10, 850);
    pcontext->pstackSeparatorIds = ostackCreate(10);
    if (pcontext->pcharSeparators == nullptr || pcontext->pstackSeparatorIds == nullptr) return ORC_NOMEM;
  }
  if (ocharAppendFixedS(pcontext->pcharSeparators, pcText, 1) != 0) return ORC_NOMEM;
  ostackPush(pcontext->pstackSeparatorIds, static_cast<uintptr_t>(static_cast<uint32_t>(iId)));
  return 0;
}

int olexContextAddOperator(olexContext *pcontext, const char *pcText)
{
  if (pcontext == nullptr || pcText == nullptr) return ORC_INVALID;
  int32_t iLength = static_cast<int32_t>(std::strlen(pcText));
  if (pcontext->pcharOperators == nullptr) {
    pcontext->pcharOperators = ocharCreate(iLength + 1, 850);
    if (pcontext->pcharOperators == nullptr) return ORC_NOMEM;
  }
  return ocharAppendFixedS(pcontext->pcharOperators, pcText, iLength);
}

void olexContextSetBaseLexeme(olexContext *pcontext, int iClass, int32_t iId)
{
  if (pcontext == nullptr || iClass < 0 || iClass >= OLEX_CLASS_COUNT) return;
  pcontext->aiBaseIds[iClass] = iId;
}

void olexContextDestroy(olexContext *pcontext)
{
  if (pcontext == nullptr) return;
  ostrdictDestroy(pcontext->pdictKeywords);
  ocharDestroy(pcontext->pcharSeparators);
  ostackDestroy(pcontext->pstackSeparatorIds);
  ocharDestroy(pcontext->pcharOperators);
  std::free(pcontext);
}

olexContext *olexContextCreateFromDef(olex *plex, const olexContextDef *pdef)
{
  if (plex == nullptr || pdef == nullptr) return nullptr;
  olexContext *pcontext = static_cast<olexContext *>(std::calloc(1, sizeof(olexContext)));
  if (pcontext == nullptr) return nullptr;
  pcontext->usId = pdef->usId;
  pcontext->ulMask = pdef->ulMask;
  pcontext->cStringDelim = pdef->cStringDelim ? pdef->cStringDelim : plex->cDefStringDelim;
  pcontext->cIdentDelim = pdef->cIdentDelim ? pdef->cIdentDelim : plex->cDefIdentDelim;
  pcontext->cDecimal = pdef->cDecimal ? pdef->cDecimal : plex->cDefDecimal;
  pcontext->pdictKeywords = ostrdictCreate(50, 80);
  if (pcontext->pdictKeywords == nullptr) {
    olexContextDestroy(pcontext);
    return nullptr;
  }
  for (const olexDefEntry *pentry = pdef->pentries; pentry != nullptr; pentry++) {
    int iKind = pentry->usKindAction >> 8;
    int rc = 0;
    bool bStore = false;
    switch (iKind) {
      case OLEX_ENTRY_SEPARATOR:
        rc = olexContextAddSeparator(pcontext, pentry->pcText, pentry->iId);
        bStore = true;
        break;
      case OLEX_ENTRY_OPERATOR:
        rc = olexContextAddOperator(pcontext, pentry->pcText);
        bStore = true;
        break;
      case OLEX_ENTRY_KEYWORD:
        bStore = true;
        break;
      case OLEX_ENTRY_BASE:
        olexContextSetBaseLexeme(pcontext, pentry->usIndex, pentry->iId);
        break;
      default:
        iKind = 0;
        break;
    }
    if (iKind == 0) break;
    if (rc == ORC_NOMEM) {
      olexContextDestroy(pcontext);
      return nullptr;
    }
    if (bStore && pentry->pcText != nullptr && pentry->pcText[0] != 0 &&
        ostrdictStore(pcontext->pdictKeywords, pentry->pcText, const_cast<olexDefEntry *>(pentry)) == ORC_NOMEM) {
      olexContextDestroy(pcontext);
      return nullptr;
    }
  }
  return pcontext;
}

int olexAddContext(olex *plex, olexContext *pcontext)
{
  if (plex == nullptr || pcontext == nullptr) return ORC_INVALID;
  int iId = pcontext->usId;
  if (iId >= plex->iTableSize) {
    int iSize = iId + 8;
    olexContext **pp = static_cast<olexContext **>(
        std::realloc(plex->ppcontextTable, static_cast<size_t>(iSize) * sizeof(olexContext *)));
    if (pp == nullptr) return ORC_NOMEM;
    for (int i = plex->iTableSize; i < iSize; i++) pp[i] = nullptr;
    plex->ppcontextTable = pp;
    plex->iTableSize = iSize;
  }
  if (plex->ppcontextTable[iId] != nullptr && plex->ppcontextTable[iId] != pcontext) {
    if (plex->pcontextCurrent == plex->ppcontextTable[iId]) plex->pcontextCurrent = pcontext;
    olexContextDestroy(plex->ppcontextTable[iId]);
  }
  plex->ppcontextTable[iId] = pcontext;
  return 0;
}

/* ---------------------------------------------------------------- lexer */

olex *olexCreate(void)
{
  return static_cast<olex *>(std::calloc(1, sizeof(olex)));
}

int olexInit(olex *plex, const olexContextDef *const *ppdefs, char cStringDelim,
             char cIdentDelim, char cDecimal, uint16_t usCcsidSBCS, uint16_t usCcsidMixed,
             uint16_t usCcsidDBCS, int iMixed)
{
  if (plex == nullptr || ppdefs == nullptr || ppdefs[0] == nullptr) return OLEX_ERR_CONTEXT;
  plex->cDefStringDelim = cStringDelim;
  plex->cDefIdentDelim = cIdentDelim;
  plex->cDefDecimal = cDecimal;
  plex->usCcsidSBCS = usCcsidSBCS;
  plex->usCcsidMixed = usCcsidMixed;
  plex->usCcsidDBCS = usCcsidDBCS;
  if (iMixed) plex->ulFlags |= OLEX_FLAG_MIXED;
  olexContext *pcontextFirst = nullptr;
  for (int i = 0; ppdefs[i] != nullptr; i++) {
    olexContext *pcontext = olexContextCreateFromDef(plex, ppdefs[i]);
    if (pcontext == nullptr) return OLEX_ERR_CONTEXT;
    if (olexAddContext(plex, pcontext) != 0) {
      olexContextDestroy(pcontext);
      return OLEX_ERR_CONTEXT;
    }
    if (pcontextFirst == nullptr) pcontextFirst = pcontext;
  }
  /* A later definition with the first one's id replaced it. */
  plex->pcontextCurrent = plex->ppcontextTable[pcontextFirst->usId];
  ostackDestroy(plex->pstackContexts);
  plex->pstackContexts = ostackCreate(8);
  if (plex->pstackContexts == nullptr) return OLEX_ERR_CONTEXT;
  plex->posStart.iContextId = plex->posEnd.iContextId = plex->pcontextCurrent->usId;
  plex->posStart.iStackDepth = plex->posEnd.iStackDepth = 0;
  return 0;
}

void olexSetStream(olex *plex, ostream *pstream)
{
  if (plex == nullptr) return;
  plex->pstream = pstream;
  if (pstream != nullptr) {
    ostreamGetPos(pstream, &plex->posStart.pos);
    plex->posEnd.pos = plex->posStart.pos;
  }
}

void olexDestroy(olex *plex)
{
  if (plex == nullptr) return;
  for (int i = 0; i < plex->iTableSize; i++) olexContextDestroy(plex->ppcontextTable[i]);
  std::free(plex->ppcontextTable);
  ostackDestroy(plex->pstackContexts);
  std::free(plex);
}

static int _olexStackDepth(const olex *plex)
{
  return plex->pstackContexts != nullptr ? ostackGetCount(plex->pstackContexts) : 0;
}

olexPos *olexGetCurrentPos(olex *plex, olexPos *ppos)
{
  if (ppos == nullptr || plex == nullptr) return nullptr;
  if (plex->pstream != nullptr) ostreamGetPos(plex->pstream, &ppos->pos);
  ppos->iStackDepth = _olexStackDepth(plex);
  ppos->iContextId = plex->pcontextCurrent != nullptr ? plex->pcontextCurrent->usId : 0;
  return ppos;
}

/* The context with that id, NULL when there is none. */
static olexContext *_olexContextById(const olex *plex, int iId)
{
  if (iId < 0 || iId >= plex->iTableSize) return nullptr;
  return plex->ppcontextTable[iId];
}

int olexSetCurrentPos(olex *plex, const olexPos *ppos)
{
  if (ppos == nullptr || plex == nullptr) return 0;
  int rc = 0;
  if (plex->pstream != nullptr) ostreamSetPos(plex->pstream, &ppos->pos);
  if (ppos->iStackDepth > _olexStackDepth(plex)) {
    rc = -1;
  } else {
    while (_olexStackDepth(plex) > ppos->iStackDepth) ostackPop(plex->pstackContexts);
  }
  olexContext *pcontext = _olexContextById(plex, ppos->iContextId);
  if (pcontext != nullptr) plex->pcontextCurrent = pcontext;
  return rc;
}

/* Applies the keyword action of a matched entry after its lexeme. */
static void _olexApplyAction(olex *plex, const olexDefEntry *pentry)
{
  olexContext *pcontextTarget = _olexContextById(plex, pentry->usIndex);
  switch (pentry->usKindAction & 0xFF) {
    case OLEX_ACTION_PUSH:
      if (pcontextTarget == nullptr) return;
      ostackPush(plex->pstackContexts, plex->pcontextCurrent->usId);
      plex->pcontextCurrent = pcontextTarget;
      break;
    case OLEX_ACTION_POP:
      if (_olexStackDepth(plex) > 0) {
        olexContext *pcontext = _olexContextById(plex, static_cast<int>(ostackPop(plex->pstackContexts)));
        if (pcontext != nullptr) plex->pcontextCurrent = pcontext;
      }
      break;
    case OLEX_ACTION_RESET:
      if (pcontextTarget == nullptr) return;
      while (_olexStackDepth(plex) > 0) ostackPop(plex->pstackContexts);
      plex->pcontextCurrent = pcontextTarget;
      break;
    case OLEX_ACTION_SWITCH:
      if (pcontextTarget != nullptr) plex->pcontextCurrent = pcontextTarget;
      break;
    default:
      break;
  }
}

static void _olexMark(olex *plex, olexPos *ppos)
{
  ostreamGetPos(plex->pstream, &ppos->pos);
  ppos->iStackDepth = _olexStackDepth(plex);
  ppos->iContextId = plex->pcontextCurrent->usId;
}

/* Skips white space unless the context keeps blanks; a line feed stops where
** the context returns ends of line.  The start of the lexeme follows. */
static void _olexSkipBlanks(olex *plex)
{
  uint32_t ulMask = _olexMask(plex);
  if (ulMask & (OLEX_CAP_BLANKS_GLUE | OLEX_CAP_BLANKS)) return;
  for (;;) {
    int c = ostreamGetc(plex->pstream);
    if (c == OSTREAM_EOF || !_olexIsSpace(c) || (c == '\n' && (ulMask & OLEX_CAP_EOL))) {
      ostreamUngetc(plex->pstream, c);
      break;
    }
  }
  _olexMark(plex, &plex->posStart);
}

/*
** Chooses the row for the lexeme's first byte (the current byte).  Returns
** 1 when the lexeme is already complete (a separator, or an error of one
** byte), 0 when reading goes on in plex->iRow.
*/
static int _olexDispatch(olex *plex)
{
  const olexContext *pcontext = plex->pcontextCurrent;
  uint32_t ulMask = pcontext->ulMask;
  int c = plex->iCurByte;
  bool bLeadingPoint = c == static_cast<unsigned char>(pcontext->cDecimal) &&
                       (ulMask & (OLEX_CAP_DECIMAL | OLEX_CAP_FLOAT)) && _olexIsDigit(_olexPeek(plex));
  if (bLeadingPoint) plex->ulState |= OLEX_ST_LEADING_POINT;

  if ((ulMask & OLEX_CAP_SEPARATOR) && !bLeadingPoint) {
    int32_t iId = _olexContextGetSeparatorID(plex, c);
    if (iId != 0) {
      char cByte = static_cast<char>(c);
      plex->iLexId = iId;
      plex->pentry = static_cast<const olexDefEntry *>(ostrdictLoadFixed(pcontext->pdictKeywords, &cByte, 1));
      plex->iRow = OLEX_ROW_SEPARATOR;
      return 1;
    }
  }
  if ((ulMask & OLEX_CAP_OPERATOR) && !bLeadingPoint && _olexIsOperatorChar(pcontext, c)) {
    plex->iRow = OLEX_ROW_OPERATOR;
    return 0;
  }

  int iRow;
  if (c == '\n') {
    iRow = OLEX_ROW_EOL;
  } else if (c == OLEX_SHIFT_OUT) {
    iRow = OLEX_ROW_DBCSIDENT;
    plex->ulState |= OLEX_ST_DBCS;
    plex->iDbcsCount = 0;
  } else if (c == '"' || c == '\'') {
    if (c == static_cast<unsigned char>(pcontext->cIdentDelim)) {
      iRow = OLEX_ROW_DELIMITED;
    } else if (c == static_cast<unsigned char>(pcontext->cStringDelim)) {
      iRow = OLEX_ROW_STRING;
    } else {
      plex->iRow = OLEX_ROW_ERROR;
      return _olexAnalyse_Error(plex);
    }
    plex->iQuote = c;
  } else if (c == '+' || c == '-') {
    iRow = _olexIsDigit(_olexPeek(plex)) ? OLEX_ROW_INTEGER : OLEX_ROW_MISC;
  } else if (c == ',' || c == '.') {
    iRow = bLeadingPoint ? OLEX_ROW_DECIMAL : OLEX_ROW_MISC;
  } else if (c == '%' || c == '_') {
    iRow = OLEX_ROW_REGEX;
  } else if (_olexIsAlpha(c)) {
    iRow = OLEX_ROW_SPECIAL;
  } else if (c == '#' || c == '$' || c == '@') {
    iRow = OLEX_ROW_KEYWORD;
  } else if (_olexIsDigit(c)) {
    iRow = OLEX_ROW_INTEGER;
  } else if (_olexIsSpace(c)) {
    iRow = OLEX_ROW_BLANKS;
  } else {
    iRow = OLEX_ROW_MISC;
  }
  plex->iRow = _olexResolve(plex, iRow);
  if (plex->iRow == OLEX_ROW_ERROR) return _olexAnalyse_Error(plex);
  return 0;
}

/* Clears the per-lexeme state. */
static void _olexResetLexeme(olex *plex)
{
  plex->ulState = 0;
  plex->iConsumed = 0;
  plex->iDbcsCount = 0;
  plex->iLexId = 0;
  plex->pentry = nullptr;
  plex->iPrevByte = ' ';
  plex->iCurByte = ' ';
  plex->iRow = -1;
  plex->iQuote = 0;
  plex->iErrorCode = 0;
}

/*
** Reads the first byte of the lexeme, passing over "--" comment lines that
** start in column 1.  Returns the byte, or OSTREAM_EOF at the end.
*/
static int _olexFirstByte(olex *plex)
{
  for (;;) {
    if (plex->pstream->ulFlags & OSTREAM_AT_END) return OSTREAM_EOF;
    int c = ostreamGetc(plex->pstream);
    if (c != '-' || plex->posStart.pos.iColumn != 1) return c;
    int iNext = ostreamGetc(plex->pstream);
    if (iNext != '-') {
      ostreamUngetc(plex->pstream, iNext);
      return c;
    }
    do {
      iNext = ostreamGetc(plex->pstream);
    } while (iNext != OSTREAM_EOF && iNext != '\n');
    if (iNext == OSTREAM_EOF) ostreamUngetc(plex->pstream, iNext);
    _olexSkipBlanks(plex);
    _olexMark(plex, &plex->posStart);
  }
}

int olexGet(void *pValue, ostreamLocation *ploc, olex *plex)
{
  olexValue value;
  value.ll = 0;
  if (ploc == nullptr && plex != nullptr) plex->ulFlags |= OLEX_FLAG_NO_TRACE;
  if (plex == nullptr || plex->pstream == nullptr || plex->pcontextCurrent == nullptr) {
    if (pValue != nullptr) std::memcpy(pValue, &value, sizeof value);
    if (ploc != nullptr) *ploc = ostreamLocation{};
    return 0;
  }
  _olexResetLexeme(plex);
  _olexMark(plex, &plex->posStart);
  _olexSkipBlanks(plex);

  int iDone;
  int c = _olexFirstByte(plex);
  if (c == OSTREAM_EOF) {
    if ((_olexMask(plex) & OLEX_CAP_EOL) && !(plex->ulFlags & OLEX_FLAG_EOL_DONE)) {
      plex->ulFlags |= OLEX_FLAG_EOL_DONE;
      plex->iRow = OLEX_ROW_EOL;
    } else {
      plex->iRow = OLEX_ROW_END;
    }
    iDone = 1;
  } else {
    plex->iCurByte = c;
    plex->iConsumed = 1;
    iDone = _olexDispatch(plex);
  }
  while (!iDone) {
    if (plex->pstream->ulFlags & OSTREAM_AT_END) {
      iDone = alexAnalysers[plex->iRow].procAtEof(plex);
    } else {
      plex->iPrevByte = plex->iCurByte;
      plex->iCurByte = ostreamGetc(plex->pstream);
      iDone = alexAnalysers[plex->iRow].procAnalyse(plex);
      plex->iConsumed++;
    }
  }
  _olexMark(plex, &plex->posEnd);

  int32_t iId = 0;
  if (plex->iErrorCode == 0) iId = alexAnalysers[plex->iRow].procExtract(plex, pValue != nullptr ? &value : nullptr);
  if (plex->iErrorCode == 0 && plex->pentry != nullptr) _olexApplyAction(plex, plex->pentry);
  if (plex->iErrorCode != 0) {
    value.ll = 0;
    if (pValue != nullptr) {
      int iLength;
      const char *pcText = _olexText(plex, &iLength);
      _olexSetText(&value, plex->usCcsidSBCS, pcText, iLength, false);
    }
    iId = _olexBaseId(plex, OLEX_CLASS_ERROR);
  }
  if (pValue != nullptr) std::memcpy(pValue, &value, sizeof value);

  int32_t iFirstLine, iFirstColumn, iLastLine, iLastColumn;
  ostreamPosGetLC(&plex->posStart.pos, &iFirstLine, &iFirstColumn);
  ostreamPosGetLC(&plex->posEnd.pos, &iLastLine, &iLastColumn);
  if (ploc != nullptr) {
    ploc->first_line = iFirstLine;
    ploc->first_column = iFirstColumn;
    ploc->last_line = iLastLine;
    ploc->last_column = iLastColumn;
    ploc->iReserved = 0;
  }
  if (!(plex->ulFlags & OLEX_FLAG_NO_TRACE))
    omsgsTrace("ID:%d (%d, %d)->(%d, %d) \n", iId, iFirstLine, iFirstColumn, iLastLine, iLastColumn);
  return iId;
}
