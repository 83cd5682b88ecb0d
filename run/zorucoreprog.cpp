/*
** zorucoreprog.cpp
**   Row programs of the DEL and IXF converters: the steps, how they are
**   chosen from a converter's columns, and the routine that runs them.  See
**   run/zorucoreprog.h.
*/
#include "run/zorucoreprog.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <new>
#include <vector>

#include "common/obyte.h"
#include "common/ochar.h"
#include "model/oconvert.h"
#include "model/orow.h"
#include "run/ixf.h"
#include "run/zorucore.h"
#include "run/zorucorechar.h"
#include "run/zorucoredate.h"
#include "run/zorucoredel.h"
#include "run/zorucorefmt.h"
#include "run/zorucoreixf.h"

namespace {

/* Longest template or record-end text a step copies; the copy takes this many bytes whatever the text's length. */
#define PROG_TEXT_MAX 32
/* Bytes a step may write past its text: the whole-word writes of run/zorucorefmt.h and the text copies above. */
#define PROG_SLACK PROG_TEXT_MAX

enum progKind : uint8_t {
  PROG_CALL,          /* the column's function */
  PROG_INT,           /* SMALLINT, INTEGER, BIGINT -> DEL */
  PROG_DECIMAL,       /* DECIMAL -> DEL */
  PROG_FLOAT,         /* DOUBLE, REAL -> DEL */
  PROG_CHAR,          /* CHAR -> DEL */
  PROG_VARCHAR,       /* VARCHAR -> DEL */
  PROG_DATETIME,      /* DATE, TIME, TIMESTAMP -> DEL */
  PROG_END,           /* DEL record end */
  PROG_IXF_FIXED,     /* the record's bytes -> IXF */
  PROG_IXF_VAR,       /* VARCHAR, VARGRAPHIC -> IXF */
  PROG_IXF_DATETIME,  /* DATE, TIME, TIMESTAMP -> IXF */
  PROG_IXF_HEADER,    /* opens an IXF data record */
  PROG_IXF_END        /* closes it: its length */
};

/* The length field that opens an IXF data record. */
#define PROG_IXF_LENGTH (IXF_D_HEADER_SIZE - IXF_D_TEXT_SIZE)

/* The source record of the row being converted. */
struct progRow {
  const unsigned char *pucData;   /* record data: after the 8-byte header */
  int64_t              ilData;
  int32_t              ilFixed;   /* fixed-part length, header bytes 6-7, signed */
  rowColDef           *pdefTarget;     /* the target row's definitions, */
  const char          *pcTargetStart;  /*   and its buffer (IXF record framing) */
};

struct progStep;

/*
** A step's writer: the column's text at pcOut (room for the step's text
** and the slack is there; a writer whose text varies checks its own room
** against pcEnd).  Returns the end of the text, or NULL when the column's
** function is to write the column.  One writer for rows that hold every
** value inside their fixed part and data (the "whole" rows), one for the
** others.
*/
typedef char *(*progWrite)(const progStep &step, const progRow &row, char *pcOut, const char *pcEnd);

struct progStep {
  oconvertFunc func;          /* the column's function, called when the step does not write the column */
  progKind     kind;
  progWrite    apwrite[2];    /* [0] any row, [1] whole rows */
  bool         boNullable;    /* a 1-byte null indicator follows the value in the record */
  bool         boDelim;       /* ZORUCORE_FLAG_DELIM */
  char         cDelim;        /* the core data's delimiter: written, and looked for when doubled */
  char         acOpen[2];     /* DEL: the separator and the opening delimiter that apply, */
  int8_t       iOpen;         /*   and their count; */
  int8_t       iClose;        /*   1 when the closing delimiter (cDelim) applies */
  bool         boDD;          /* delimiters inside the value are doubled */
  bool         boPlus;        /* "+" before a non-negative integer */
  bool         boGraphic;     /* IXF VARGRAPHIC: the length in characters */
  char         cPoint;        /* DECIMAL: decimal point */
  int32_t      ilOffset;      /* offset of the value (or its slot) in the record data, 0 or more; IXF record header: its column */
  int32_t      ilSize;        /* bytes of the value (or slot) in the record */
  int32_t      iPrec;         /* DECIMAL precision; FLOAT: printf precision */
  int32_t      iScale;        /* DECIMAL scale */
  int32_t      ilField;       /* IXF VARCHAR: field width; IXF record end: index of its header's column */
  int64_t      llText;        /* most bytes of the column's text; 0 for a step whose text varies */
  int64_t      llFixedAfter;  /* llText of the steps after this one, and PROG_SLACK */
  int32_t      ilText;        /* bytes of the record end or of the IXF record header text */
  char         acText[PROG_TEXT_MAX];   /* template, record end or IXF record header text, zero-padded */
  zorucorefmtDecimalForm decimal;       /* DECIMAL of at most 15 digits (iBytes 0 for the others) */
  zorucoreDateLayout layout;            /* DATETIME */
  uint64_t     aulDigitMask[3];         /* DATETIME: the nibbles of the value bytes the groups write */
  int32_t      iPairs;                  /* DATETIME: digit pairs the groups write, */
  uint8_t      aucPairFrom[16];         /*   digit index in the value, */
  uint8_t      aucPairTo[16];           /*   text position; the last pair first */
};

struct progProgram {
  int32_t               iCount = 0;
  int64_t               llText = 0;        /* llFixedAfter of a step before the first */
  int64_t               ilOffsetEnd = 0;   /* a fixed part this long holds every step's value */
  int64_t               ilValueEnd = 0;    /* record data this long holds them and their indicators */
  std::vector<progStep> vsteps;
};

/* ------------------------------------------------------------------ running */

/*
** The value (or slot) of the step when the column function would take it
** as present: inside the fixed part, not null, inside the record (the
** tests of _zorucoreNullState and _zorucoreValue); NULL otherwise.  On a
** whole row only the indicator is left to test.
*/
template <bool boWhole>
[[gnu::always_inline]] inline const unsigned char *_progValue(const progStep &step, const progRow &row)
{
  int64_t ilOffset = step.ilOffset;
  int64_t ilEnd = ilOffset + step.ilSize;
  if constexpr (boWhole) {
    if (step.boNullable && row.pucData[ilEnd] != 0) return nullptr;
  } else {
    if (ilOffset >= row.ilFixed) return nullptr;
    if (step.boNullable) {
      if (ilEnd > row.ilData - 1 || row.pucData[ilEnd] != 0) return nullptr;
    } else if (ilEnd > row.ilData) {
      return nullptr;
    }
  }
  return row.pucData + ilOffset;
}

/* The bytes of a VARCHAR whose slot is present, when they lie in the record; NULL otherwise. */
template <bool boWhole>
[[gnu::always_inline]] inline const unsigned char *_progVarBytes(const progStep &step, const progRow &row,
                                                                 int32_t *pilLength)
{
  const unsigned char *pucSlot = _progValue<boWhole>(step, row);
  if (pucSlot == nullptr) return nullptr;
  int64_t ilOffset = obyteGetLE16(pucSlot);
  int64_t ilLength = obyteGetLE16(pucSlot + 2);
  if (ilOffset + ilLength > row.ilData) return nullptr;
  *pilLength = static_cast<int32_t>(ilLength);
  return row.pucData + ilOffset;
}

[[gnu::always_inline]] inline char *_progCopy(char *pcOut, const unsigned char *puc, int32_t ilLength)
{
  if (ilLength <= 16)
    zorucorefmtCopySmall(pcOut, puc, ilLength);
  else
    std::memcpy(pcOut, puc, static_cast<size_t>(ilLength));
  return pcOut + ilLength;
}

/* Writes the separator and opening delimiter that apply (2 bytes written); returns where the value goes. */
[[gnu::always_inline]] inline char *_progOpen(const progStep &step, char *pcOut)
{
  std::memcpy(pcOut, step.acOpen, 2);
  return pcOut + step.iOpen;
}

/* Writes the closing delimiter when it applies (1 byte written); returns the end of the text. */
[[gnu::always_inline]] inline char *_progClose(const progStep &step, char *pcOut)
{
  *pcOut = step.cDelim;
  return pcOut + step.iClose;
}

/* The IXF null indicator of a nullable column holding a value. */
[[gnu::always_inline]] inline char *_progIndicator(const progStep &step, char *pcOut)
{
  if (!step.boNullable) return pcOut;
  pcOut[0] = pcOut[1] = 0;
  return pcOut + 2;
}

/*
** The ASCII digits of a packed date (iBytes 4), time (3) or timestamp (10)
** into pcDigits (8 bytes for each 4 value bytes written); false when a
** digit the groups write is none.
*/
template <int iBytes>
[[gnu::always_inline]] inline bool _progDateDigits(const progStep &step, const unsigned char *puc, char *pcDigits)
{
  static_assert(iBytes == 3 || iBytes == 4 || iBytes == 10);
  unsigned char *pucDigits = reinterpret_cast<unsigned char *>(pcDigits);
  constexpr uint64_t ulAdd = 0x76 * ZORUCOREFMT_ONES;
  uint64_t ulFirst = zorucorefmtNibbles4(iBytes == 3 ? obyteGetLE16(puc) | static_cast<uint32_t>(puc[2]) << 16
                                                     : obyteGetLE32(puc));
  uint64_t ulBad = (ulFirst + ulAdd) & step.aulDigitMask[0];
  obytePutLE64(pucDigits, ulFirst | 0x3030303030303030ull);
  if constexpr (iBytes == 10) {
    uint64_t ulSecond = zorucorefmtNibbles4(obyteGetLE32(puc + 4));
    uint64_t ulThird = zorucorefmtNibbles4(obyteGetLE16(puc + 8));
    ulBad |= ((ulSecond + ulAdd) & step.aulDigitMask[1]) | ((ulThird + ulAdd) & step.aulDigitMask[2]);
    obytePutLE64(pucDigits + 8, ulSecond | 0x3030303030303030ull);
    obytePutLE64(pucDigits + 16, ulThird | 0x3030303030303030ull);
  }
  return (ulBad & ZORUCOREFMT_HIGHS) == 0;
}

/* The text of a date, time or timestamp whose digits are ready; returns its end. */
[[gnu::always_inline]] inline char *_progDateText(const progStep &step, const char *pcDigits, char *pcOut)
{
  if (step.layout.boTemplate) std::memcpy(pcOut, step.acText, PROG_TEXT_MAX);
  /* the pairs are kept last one first: each case writes one and falls to the one before it */
#define PROG_PAIR(n) std::memcpy(pcOut + step.aucPairTo[n], pcDigits + step.aucPairFrom[n], 2)
  switch (step.iPairs) {
    case 16: PROG_PAIR(15); [[fallthrough]];
    case 15: PROG_PAIR(14); [[fallthrough]];
    case 14: PROG_PAIR(13); [[fallthrough]];
    case 13: PROG_PAIR(12); [[fallthrough]];
    case 12: PROG_PAIR(11); [[fallthrough]];
    case 11: PROG_PAIR(10); [[fallthrough]];
    case 10: PROG_PAIR(9); [[fallthrough]];
    case 9: PROG_PAIR(8); [[fallthrough]];
    case 8: PROG_PAIR(7); [[fallthrough]];
    case 7: PROG_PAIR(6); [[fallthrough]];
    case 6: PROG_PAIR(5); [[fallthrough]];
    case 5: PROG_PAIR(4); [[fallthrough]];
    case 4: PROG_PAIR(3); [[fallthrough]];
    case 3: PROG_PAIR(2); [[fallthrough]];
    case 2: PROG_PAIR(1); [[fallthrough]];
    case 1: PROG_PAIR(0); [[fallthrough]];
    default: break;
  }
#undef PROG_PAIR
  return pcOut + step.layout.iLength;
}

/* ----------------------------------------------------------------- writers */

/* A column always written by its function. */
char *_progWriteCall(const progStep &, const progRow &, char *, const char *)
{
  return nullptr;
}

/* SMALLINT, INTEGER, BIGINT (iSize 2, 4, 8) -> DEL. */
template <bool boWhole, int iSize>
char *_progWriteInt(const progStep &step, const progRow &row, char *pcOut, const char *)
{
  const unsigned char *puc = _progValue<boWhole>(step, row);
  if (puc == nullptr) return nullptr;
  int64_t v = iSize == 2   ? static_cast<int16_t>(obyteGetLE16(puc))
              : iSize == 4 ? static_cast<int32_t>(obyteGetLE32(puc))
                           : static_cast<int64_t>(obyteGetLE64(puc));
  return zorucorefmtInt(_progOpen(step, pcOut), v, step.boPlus);
}

/* DECIMAL -> DEL. */
template <bool boWhole>
char *_progWriteDecimal(const progStep &step, const progRow &row, char *pcOut, const char *)
{
  const unsigned char *puc = _progValue<boWhole>(step, row);
  if (puc == nullptr) return nullptr;
  char *pc = _progOpen(step, pcOut);
  return step.decimal.iBytes != 0 ? zorucorefmtDecimalWrite(step.decimal, puc, pc)
                                  : zorucorefmtDecimal(puc, step.iPrec, step.iScale, step.cPoint, pc);
}

/* DOUBLE, REAL -> DEL. */
template <bool boWhole>
char *_progWriteFloat(const progStep &step, const progRow &row, char *pcOut, const char *)
{
  const unsigned char *puc = _progValue<boWhole>(step, row);
  if (puc == nullptr) return nullptr;
  double d;
  if (step.ilSize == 8) {
    uint64_t ul = obyteGetLE64(puc);
    std::memcpy(&d, &ul, sizeof d);
  } else {
    uint32_t ul = obyteGetLE32(puc);
    float f;
    std::memcpy(&f, &ul, sizeof f);
    d = f;
  }
  char *pc = _progOpen(step, pcOut);
  int iLength = zorucorefmtFloat(d, step.iPrec, pc);
  return iLength < 0 ? nullptr : pc + iLength;
}

/*
** The bytes of a CHAR of a length class: 1 up to 3 bytes, 2 from 4 to 8,
** 3 from 9 to 16, 4 more; whether one is c, and their copy at pcOut.
*/
template <int iClass>
[[gnu::always_inline]] inline bool _progCharHas(const unsigned char *puc, int32_t ilLength, unsigned char c)
{
  if constexpr (iClass == 1) {
    return ilLength > 0 && (puc[0] == c || puc[ilLength / 2] == c || puc[ilLength - 1] == c);
  } else if constexpr (iClass == 2) {
    return zorucorefmtHasByte(obyteGetLE32(puc), 4, c) || zorucorefmtHasByte(obyteGetLE32(puc + ilLength - 4), 4, c);
  } else if constexpr (iClass == 3) {
    return zorucorefmtHasByte(obyteGetLE64(puc), 8, c) || zorucorefmtHasByte(obyteGetLE64(puc + ilLength - 8), 8, c);
  } else {
    return std::memchr(puc, c, static_cast<size_t>(ilLength)) != nullptr;
  }
}

template <int iClass>
[[gnu::always_inline]] inline char *_progCharCopy(char *pcOut, const unsigned char *puc, int32_t ilLength)
{
  if constexpr (iClass == 4)
    std::memcpy(pcOut, puc, static_cast<size_t>(ilLength));
  else
    zorucorefmtCopySmall(pcOut, puc, ilLength);
  return pcOut + ilLength;
}

/* CHAR -> DEL: the bytes as they are, unless a delimiter inside is to be doubled. */
template <bool boWhole, int iClass>
char *_progWriteChar(const progStep &step, const progRow &row, char *pcOut, const char *)
{
  const unsigned char *puc = _progValue<boWhole>(step, row);
  if (puc == nullptr || (step.boDD && _progCharHas<iClass>(puc, step.ilSize, static_cast<unsigned char>(step.cDelim))))
    return nullptr;
  return _progClose(step, _progCharCopy<iClass>(_progOpen(step, pcOut), puc, step.ilSize));
}

/* VARCHAR -> DEL: the same, after checking the room for the text. */
template <bool boWhole>
char *_progWriteVarchar(const progStep &step, const progRow &row, char *pcOut, const char *pcEnd)
{
  int32_t ilLength = 0;
  const unsigned char *puc = _progVarBytes<boWhole>(step, row, &ilLength);
  if (puc == nullptr || pcEnd - pcOut < 3 + ilLength + step.llFixedAfter ||
      (step.boDD && zorucorefmtHasDelim(puc, ilLength, static_cast<unsigned char>(step.cDelim))))
    return nullptr;
  return _progClose(step, _progCopy(_progOpen(step, pcOut), puc, ilLength));
}

/* DATE, TIME, TIMESTAMP (iBytes 4, 3, 10) -> DEL. */
template <bool boWhole, int iBytes>
char *_progWriteDateTime(const progStep &step, const progRow &row, char *pcOut, const char *)
{
  const unsigned char *puc = _progValue<boWhole>(step, row);
  char acDigits[32];
  if (puc == nullptr || !_progDateDigits<iBytes>(step, puc, acDigits)) return nullptr;
  return _progClose(step, _progDateText(step, acDigits, _progOpen(step, pcOut)));
}

/* The DEL record end. */
char *_progWriteEnd(const progStep &step, const progRow &, char *pcOut, const char *)
{
  std::memcpy(pcOut, step.acText, PROG_TEXT_MAX);
  return pcOut + step.ilText;
}

/* Values held at their IXF width -> IXF. */
template <bool boWhole>
char *_progWriteIxfFixed(const progStep &step, const progRow &row, char *pcOut, const char *)
{
  const unsigned char *puc = _progValue<boWhole>(step, row);
  if (puc == nullptr) return nullptr;
  return _progCopy(_progIndicator(step, pcOut), puc, step.ilSize);
}

/* VARCHAR, VARGRAPHIC -> IXF: length, bytes, zeros to the field's end. */
template <bool boWhole>
char *_progWriteIxfVar(const progStep &step, const progRow &row, char *pcOut, const char *)
{
  int32_t ilLength = 0;
  const unsigned char *puc = _progVarBytes<boWhole>(step, row, &ilLength);
  if (puc == nullptr || ilLength > step.ilField - 2 || (step.boGraphic && ilLength % 2 != 0)) return nullptr;
  char *pc = _progIndicator(step, pcOut);
  obytePutLE16(reinterpret_cast<unsigned char *>(pc), static_cast<uint16_t>(step.boGraphic ? ilLength / 2 : ilLength));
  /* the rest of the field is zeros: whole blocks, the last one reaching past the field */
  for (char *pcZero = pc + 2 + ilLength; pcZero < pc + step.ilField; pcZero += 16) std::memset(pcZero, 0, 16);
  _progCopy(pc + 2, puc, ilLength);
  return pc + step.ilField;
}

/* DATE, TIME, TIMESTAMP (iBytes 4, 3, 10) -> IXF. */
template <bool boWhole, int iBytes>
char *_progWriteIxfDateTime(const progStep &step, const progRow &row, char *pcOut, const char *)
{
  const unsigned char *puc = _progValue<boWhole>(step, row);
  char acDigits[32];
  if (puc == nullptr || !_progDateDigits<iBytes>(step, puc, acDigits)) return nullptr;
  return _progDateText(step, acDigits, _progIndicator(step, pcOut));
}

/* Opens an IXF data record: its header text after the length field; the record starts here. */
char *_progWriteIxfHeader(const progStep &step, const progRow &row, char *pcOut, const char *)
{
  std::memcpy(pcOut + PROG_IXF_LENGTH, step.acText, PROG_TEXT_MAX);
  row.pdefTarget[step.ilOffset].pcData = pcOut;
  return pcOut + PROG_IXF_LENGTH + step.ilText;
}

/* Closes an IXF data record opened in this buffer: the bytes after its length field, as six digits. */
char *_progWriteIxfEnd(const progStep &step, const progRow &row, char *pcOut, const char *)
{
  char *pcRecord = row.pdefTarget[step.ilField].pcData;
  if (pcRecord == nullptr || pcRecord < row.pcTargetStart || pcOut - pcRecord < IXF_D_HEADER_SIZE ||
      pcOut - pcRecord - PROG_IXF_LENGTH > IXF_D_MAX_LENGTH)
    return nullptr;
  unsigned char aucDigits[8];
  obytePutLE64(aucDigits, zorucorefmtDigits8(static_cast<uint32_t>(pcOut - pcRecord - PROG_IXF_LENGTH)));
  std::memcpy(pcRecord, aucDigits + 8 - PROG_IXF_LENGTH, PROG_IXF_LENGTH);
  return pcOut;
}

/*
** Runs the steps on a row that the program can take (see zorucoreprogRun).
** Returns the conversion's code.
*/
template <bool boWhole>
[[gnu::always_inline]] inline int _progRunRow(const progProgram *pprog, oconvert *pconvert, const progRow &row)
{
  orow *prowSource = pconvert->prowSource;
  orow *prowTarget = pconvert->prowTarget;
  char *pcOut = prowTarget->pcCursor;
  char *const pcEnd = prowTarget->pcEnd;
  const progStep *const pstepFirst = pprog->vsteps.data();
  const progStep *const pstepEnd = pstepFirst + pprog->iCount;
  oconvertFunc *pfunc = pconvert->pfunc;

  for (const progStep *pstep = pstepFirst; pstep != pstepEnd; pstep++, pfunc++) {
    if (*pfunc == pstep->func) {
      char *pc = pstep->apwrite[boWhole](*pstep, row, pcOut, pcEnd);
      if (pc != nullptr) {
        pcOut = pc;
        continue;
      }
    }
    /* the column's function, on rows that say where the row stands */
    const int32_t i = static_cast<int32_t>(pstep - pstepFirst);
    prowSource->iCurrent = i;
    prowTarget->iCurrent = i;
    prowTarget->pcCursor = pcOut;
    if (*pfunc == nullptr) return oconvertConvertColumns(pconvert, i, 0, 0);
    int iRc = (*pfunc)(prowSource, prowTarget);
    pcOut = prowTarget->pcCursor;
    if (iRc != 0 || prowSource->iCurrent != i + 1 || prowTarget->iCurrent != i + 1 || pcOut == nullptr ||
        prowTarget->pcEnd != pcEnd || pcOut > pcEnd || pcEnd - pcOut < pstep->llFixedAfter)
      return oconvertConvertColumns(pconvert, i + 1, iRc > 0 ? iRc : 0, iRc);
  }
  prowSource->iCurrent = pprog->iCount;
  prowTarget->iCurrent = pprog->iCount;
  prowTarget->pcCursor = pcOut;
  return 0;
}

}  // namespace

int zorucoreprogRun(const void *pProgram, oconvert *pconvert)
{
  const progProgram *pprog = static_cast<const progProgram *>(pProgram);
  orow *prowSource = pconvert->prowSource;
  orow *prowTarget = pconvert->prowTarget;
  /* rows the steps cannot take whole go to the column functions; the column count
     cannot change (the rows were full when the program was made) */
  if (pprog == nullptr || prowSource == nullptr || prowTarget == nullptr || pconvert->pfunc == nullptr ||
      prowSource->iCount != pprog->iCount || prowSource->iCurrent != 0 || prowTarget->iCurrent != 0 ||
      prowSource->pcStart == nullptr || prowSource->pcEnd == nullptr || prowSource->pcEnd - prowSource->pcStart < 8 ||
      prowTarget->pcStart == nullptr || prowTarget->pcCursor == nullptr || prowTarget->pcEnd == nullptr ||
      prowTarget->pcCursor > prowTarget->pcEnd || prowTarget->pcEnd - prowTarget->pcCursor < pprog->llText)
    return oconvertConvertColumns(pconvert, 0, 0, 0);

  const unsigned char *pucStart = reinterpret_cast<const unsigned char *>(prowSource->pcStart);
  const progRow row = {pucStart + 8, (prowSource->pcEnd - prowSource->pcStart) - 8,
                       static_cast<int16_t>(obyteGetLE16(pucStart + 6)), prowTarget->pcoldef, prowTarget->pcStart};
  if (row.ilFixed >= pprog->ilOffsetEnd && row.ilData >= pprog->ilValueEnd)
    return _progRunRow<true>(pprog, pconvert, row);
  return _progRunRow<false>(pprog, pconvert, row);
}

/* ------------------------------------------------------------------ making */

namespace {

/* The IXF converters of values held at their IXF width in the record, and how wide the value is. */
enum progWidth { PROG_W_2, PROG_W_4, PROG_W_8, PROG_W_DECIMAL, PROG_W_LENGTH, PROG_W_GRAPHIC };

const struct {
  oconvertFunc func;
  progWidth    width;
} aprogIxfFixed[] = {
    {_zorucore_Smallint2Ixf, PROG_W_2},        {_zorucore_SmallintN2Ixf, PROG_W_2},
    {_zorucore_Integer2Ixf, PROG_W_4},         {_zorucore_IntegerN2Ixf, PROG_W_4},
    {_zorucore_Bigint2Ixf, PROG_W_8},          {_zorucore_BigintN2Ixf, PROG_W_8},
    {_zorucore_Real2Ixf, PROG_W_4},            {_zorucore_RealN2Ixf, PROG_W_4},
    {_zorucore_Double2Ixf, PROG_W_8},          {_zorucore_DoubleN2Ixf, PROG_W_8},
    {_zorucore_Decimal2Ixf, PROG_W_DECIMAL},   {_zorucore_DecimalN2Ixf, PROG_W_DECIMAL},
    {_zorucore_Char2Ixf, PROG_W_LENGTH},       {_zorucore_CharN2Ixf, PROG_W_LENGTH},
    {_zorucore_Graphic2Ixf, PROG_W_GRAPHIC},   {_zorucore_GraphicN2Ixf, PROG_W_GRAPHIC},
};

/* A DEL text between delimiters under ZORUCORE_FLAG_DELIM: the opening one after the separator, the closing one. */
void _progDelimit(progStep *pstep)
{
  if (!pstep->boDelim) return;
  pstep->acOpen[pstep->iOpen++] = pstep->cDelim;
  pstep->iClose = 1;
}

/* The DEL converters of values a step writes: kind, value size (0: from the definition), doubled delimiters. */
const struct {
  oconvertFunc func;
  progKind     kind;
  int32_t      ilSize;
  bool         boDD;
} aprogDel[] = {
    {_zorucore_Smallint2Delimited, PROG_INT, 2, false},     {_zorucore_SmallintN2Delimited, PROG_INT, 2, false},
    {_zorucore_Integer2Delimited, PROG_INT, 4, false},      {_zorucore_IntegerN2Delimited, PROG_INT, 4, false},
    {_zorucore_Biginteger2Delimited, PROG_INT, 8, false},   {_zorucore_BigintegerN2Delimited, PROG_INT, 8, false},
    {_zorucore_Decimal2Delimited, PROG_DECIMAL, 0, false},  {_zorucore_DecimalN2Delimited, PROG_DECIMAL, 0, false},
    {_zorucore_Double2Delimited, PROG_FLOAT, 8, false},     {_zorucore_DoubleN2Delimited, PROG_FLOAT, 8, false},
    {_zorucore_Real2Delimited, PROG_FLOAT, 4, false},       {_zorucore_RealN2Delimited, PROG_FLOAT, 4, false},
    {_zorucore_Char2Delimited, PROG_CHAR, 0, false},        {_zorucore_CharN2Delimited, PROG_CHAR, 0, false},
    {_zorucore_Char2DelimitedDD, PROG_CHAR, 0, true},       {_zorucore_Varchar2Delimited, PROG_VARCHAR, 4, false},
    {_zorucore_VarcharN2Delimited, PROG_VARCHAR, 4, false}, {_zorucore_Varchar2DelimitedDD, PROG_VARCHAR, 4, true},
};

/* The IXF converters of VARCHAR and VARGRAPHIC. */
const oconvertFunc aprogIxfVar[] = {_zorucore_Varchar2Ixf, _zorucore_VarcharN2Ixf, _zorucore_Vargraphic2Ixf,
                                    _zorucore_VargraphicN2Ixf};

/* The DEL converter whose text an IXF DATE, TIME or TIMESTAMP converter writes; NULL for the others. */
oconvertFunc _progIxfDateText(oconvertFunc func)
{
  if (func == _zorucore_Date2Ixf || func == _zorucore_DateN2Ixf) return _zorucore_DateA2Delimited;
  if (func == _zorucore_Time2Ixf || func == _zorucore_TimeN2Ixf) return _zorucore_Time2Delimited;
  if (func == _zorucore_Timestamp2Ixf || func == _zorucore_TimestampN2Ixf) return _zorucore_Timestamp2Delimited;
  return nullptr;
}

/* The first byte of a string, or cDefault when it has none. */
char _progFirstByte(const ochar *pchar, char cDefault)
{
  if (pchar->pcData == nullptr || pchar->ilBU <= 0) return cDefault;
  return _charText(pchar)[0];
}

/*
** The date, time or timestamp part of a step: its layout, the masks of the
** nibbles (bytes of the nibble words) of the value bytes that the groups
** write, and the digit pairs they write, in their order.
*/
void _progDateStep(progStep *pstep, const zorucoreDateLayout &layout)
{
  pstep->layout = layout;
  pstep->ilSize = layout.iValueBytes;
  int aiFrom[16], aiTo[16];
  for (int i = 0; i < layout.iGroups; i++) {
    for (int k = 0; k < layout.agroup[i].iBytes; k++) {
      int b = layout.agroup[i].iByte + k;
      pstep->aulDigitMask[b / 4] |= 0xFFFFull << (16 * (b % 4));
      aiFrom[pstep->iPairs] = 2 * b;
      aiTo[pstep->iPairs] = layout.agroup[i].iPos + 2 * k;
      pstep->iPairs++;
    }
  }
  /* last one first: _progDateText writes them from the highest index down */
  for (int i = 0; i < pstep->iPairs; i++) {
    pstep->aucPairFrom[pstep->iPairs - 1 - i] = static_cast<uint8_t>(aiFrom[i]);
    pstep->aucPairTo[pstep->iPairs - 1 - i] = static_cast<uint8_t>(aiTo[i]);
  }
}

/*
** The step of column i.  *pboHoles is set when the column writes a text
** with holes.  The step is a call unless its function, definitions and
** core data are those of a value it writes the same way.
*/
progStep _progMakeStep(const oconvert *pconvert, int32_t i, bool *pboHoles)
{
  progStep step{};
  oconvertFunc func = pconvert->pfunc[i];
  step.func = func;
  step.kind = PROG_CALL;
  const rowColDef &defSource = pconvert->prowSource->pcoldef[i];
  const rowColDef &defTarget = pconvert->prowTarget->pcoldef[i];
  const zorucoreData *pcore = static_cast<const zorucoreData *>(defTarget.pExtra);
  if (func == nullptr || pcore == nullptr) return step;

  /* a date format with holes, whichever row it comes from */
  zorucoreDateLayout layout;
  if (_zorucoreDateTimeLayout(func, pcore, &layout) && !layout.boTemplate && !layout.boCovered) *pboHoles = true;

  /* the IXF record framing (run/ixf.h) */
  if (func == _zorucore_Ixf_Row_Header) {
    const ochar *pchar = pcore->pcharConstant;
    if (pchar == nullptr) return step;
    int32_t ilText = (pchar->pcData != nullptr && pchar->ilBU > 0) ? pchar->ilBU : 0;
    if (ilText > PROG_TEXT_MAX) return step;
    if (ilText > 0) std::memcpy(step.acText, _charText(pchar), static_cast<size_t>(ilText));
    step.ilText = ilText;
    step.ilOffset = i;   /* its own column, whose data position is the record start */
    step.llText = PROG_IXF_LENGTH + PROG_TEXT_MAX;
    step.kind = PROG_IXF_HEADER;
    return step;
  }
  if (func == _zorucore_Ixf_Row_End) {
    if (pcore->iWorkCapacity < 0 || pcore->iWorkCapacity >= pconvert->prowTarget->iCount) return step;
    step.ilField = pcore->iWorkCapacity;
    step.kind = PROG_IXF_END;
    return step;
  }

  if (func == _zorucore_Const2Delimited) {
    const ochar *pchar = pcore->pcharConstant;
    int32_t ilText = (pchar != nullptr && pchar->pcData != nullptr && pchar->ilBU > 0) ? pchar->ilBU : 0;
    if ((pcore->pconvToUtf16 != nullptr && pcore->pconvFromUtf16 != nullptr) || ilText > PROG_TEXT_MAX) return step;
    if (ilText > 0) std::memcpy(step.acText, _charText(pchar), static_cast<size_t>(ilText));
    step.ilText = ilText;
    step.llText = ilText;
    step.kind = PROG_END;
    return step;
  }

  /* values of rows read from table spaces or backups, at a known offset; the core data is
     read only for the converters a step stands for */
  bool boValue = _zorucoreDateTimeLayout(func, pcore, &layout) || _progIxfDateText(func) != nullptr;
  for (const auto &entry : aprogDel) boValue = boValue || entry.func == func;
  for (const auto &entry : aprogIxfFixed) boValue = boValue || entry.func == func;
  for (oconvertFunc funcVar : aprogIxfVar) boValue = boValue || funcVar == func;
  if (!boValue || (defSource.iType & COLKEY_CLI) != 0 || (pcore->usSourceKey & COLKEY_CLI) != 0 ||
      defSource.sOffset < 0)
    return step;
  step.boNullable = (defSource.iType & COLKEY_NULLABLE) != 0;
  step.ilOffset = defSource.sOffset;
  const bool boSep = (pcore->ulFlags & ZORUCORE_FLAG_SEP) != 0 && pcore->charSep.pcData != nullptr &&
                     pcore->charSep.ilBU > 0;
  if (boSep) step.acOpen[step.iOpen++] = _charText(&pcore->charSep)[0];
  step.boDelim = (pcore->ulFlags & ZORUCORE_FLAG_DELIM) != 0;
  step.cDelim = pcore->cDelim;
  step.boPlus = (pcore->ulFlags & ZORUCORE_FLAG_PLUS) != 0;
  const int64_t llSep = boSep ? 1 : 0;

  for (const auto &entry : aprogDel) {
    if (entry.func != func) continue;
    step.ilSize = entry.ilSize;
    step.boDD = entry.boDD;
    switch (entry.kind) {
      case PROG_INT:
        step.llText = llSep + (entry.ilSize == 2 ? 6 : entry.ilSize == 4 ? 11 : ZORUCOREFMT_INT_MAX);
        break;
      case PROG_DECIMAL:
        step.iPrec = (defSource.iLength >> 8) & 0xFF;
        step.iScale = defSource.iLength & 0xFF;
        if (step.iPrec < 1 || step.iPrec > 31 || step.iScale > step.iPrec) return step;
        step.ilSize = step.iPrec / 2 + 1;
        step.cPoint = _progFirstByte(&pcore->charDecimal, '.');
        zorucorefmtDecimalMake(&step.decimal, step.iPrec, step.iScale, step.cPoint);
        step.llText = llSep + step.iPrec + 2;
        break;
      case PROG_FLOAT:
        step.iPrec = entry.ilSize == 8 ? 15 : 6;
        step.llText = llSep + ZORUCOREFMT_FLOAT_MAX;
        break;
      case PROG_CHAR:
        if (defSource.iLength < 0) return step;
        step.ilSize = defSource.iLength;
        step.llText = llSep + 2 + step.ilSize;
        _progDelimit(&step);
        break;
      default:   /* VARCHAR: its text is measured on each row */
        _progDelimit(&step);
        break;
    }
    step.kind = entry.kind;
    return step;
  }

  if (_zorucoreDateTimeLayout(func, pcore, &layout)) {
    if (layout.iLength > PROG_TEXT_MAX || (!layout.boTemplate && !layout.boCovered)) return step;
    if (layout.boTemplate) std::memcpy(step.acText, pcore->pcTemplate, static_cast<size_t>(layout.iLength));
    _progDateStep(&step, layout);
    step.llText = llSep + 2 + layout.iLength;
    if (layout.boDelim) _progDelimit(&step);   /* dates go without delimiters */
    step.kind = PROG_DATETIME;
    return step;
  }

  /* IXF: no separator, no delimiters; a 2-byte indicator before the value of a nullable column */
  const int64_t llIndicator = step.boNullable ? 2 : 0;
  for (const auto &entry : aprogIxfFixed) {
    if (entry.func != func) continue;
    switch (entry.width) {
      case PROG_W_2:       step.ilSize = 2; break;
      case PROG_W_4:       step.ilSize = 4; break;
      case PROG_W_8:       step.ilSize = 8; break;
      case PROG_W_DECIMAL: step.ilSize = ((defSource.iLength >> 8) & 0xFF) / 2 + 1; break;
      case PROG_W_LENGTH:  step.ilSize = defSource.iLength; break;
      case PROG_W_GRAPHIC: step.ilSize = 2 * defSource.iLength; break;
    }
    if (step.ilSize < 0) return step;
    step.llText = llIndicator + step.ilSize;
    step.kind = PROG_IXF_FIXED;
    return step;
  }
  if (std::find(std::begin(aprogIxfVar), std::end(aprogIxfVar), func) != std::end(aprogIxfVar)) {
    step.boGraphic = func == _zorucore_Vargraphic2Ixf || func == _zorucore_VargraphicN2Ixf;
    int64_t llField = 2 + (step.boGraphic ? 2 * static_cast<int64_t>(defSource.iLength) : defSource.iLength);
    if (defSource.iLength < 0 || llField > 0x7FFF + 2) return step;
    step.ilField = static_cast<int32_t>(llField);
    step.ilSize = 4;
    step.llText = llIndicator + step.ilField;
    step.kind = PROG_IXF_VAR;
    return step;
  }
  /* an IXF date, time or timestamp is the text its DEL converter writes with the column's core data */
  oconvertFunc funcText = _progIxfDateText(func);
  if (funcText != nullptr && _zorucoreDateTimeLayout(funcText, pcore, &layout) && layout.boTemplate &&
      layout.iLength <= PROG_TEXT_MAX) {
    std::memcpy(step.acText, pcore->pcTemplate, static_cast<size_t>(layout.iLength));
    _progDateStep(&step, layout);
    step.llText = llIndicator + layout.iLength;
    step.kind = PROG_IXF_DATETIME;
  }
  return step;
}

#define PROG_WRITERS(writer) pstep->apwrite[0] = writer<false>, pstep->apwrite[1] = writer<true>
#define PROG_WRITERS2(writer, n) pstep->apwrite[0] = writer<false, n>, pstep->apwrite[1] = writer<true, n>

/* The writers of the step's kind (and of its value's size or length). */
void _progSetWriters(progStep *pstep)
{
  const int32_t ilSize = pstep->ilSize;
  const int iClass = ilSize <= 3 ? 1 : ilSize <= 8 ? 2 : ilSize <= 16 ? 3 : 4;
  switch (pstep->kind) {
    case PROG_CALL:
      pstep->apwrite[0] = pstep->apwrite[1] = _progWriteCall;
      break;
    case PROG_INT:
      if (ilSize == 2) PROG_WRITERS2(_progWriteInt, 2);
      else if (ilSize == 4) PROG_WRITERS2(_progWriteInt, 4);
      else PROG_WRITERS2(_progWriteInt, 8);
      break;
    case PROG_DECIMAL:      PROG_WRITERS(_progWriteDecimal); break;
    case PROG_FLOAT:        PROG_WRITERS(_progWriteFloat); break;
    case PROG_CHAR:
      if (iClass == 1) PROG_WRITERS2(_progWriteChar, 1);
      else if (iClass == 2) PROG_WRITERS2(_progWriteChar, 2);
      else if (iClass == 3) PROG_WRITERS2(_progWriteChar, 3);
      else PROG_WRITERS2(_progWriteChar, 4);
      break;
    case PROG_VARCHAR:      PROG_WRITERS(_progWriteVarchar); break;
    case PROG_DATETIME:
      if (ilSize == 3) PROG_WRITERS2(_progWriteDateTime, 3);
      else if (ilSize == 4) PROG_WRITERS2(_progWriteDateTime, 4);
      else PROG_WRITERS2(_progWriteDateTime, 10);
      break;
    case PROG_END:
      pstep->apwrite[0] = pstep->apwrite[1] = _progWriteEnd;
      break;
    case PROG_IXF_FIXED:    PROG_WRITERS(_progWriteIxfFixed); break;
    case PROG_IXF_VAR:      PROG_WRITERS(_progWriteIxfVar); break;
    case PROG_IXF_DATETIME:
      if (ilSize == 3) PROG_WRITERS2(_progWriteIxfDateTime, 3);
      else if (ilSize == 4) PROG_WRITERS2(_progWriteIxfDateTime, 4);
      else PROG_WRITERS2(_progWriteIxfDateTime, 10);
      break;
    case PROG_IXF_HEADER:
      pstep->apwrite[0] = pstep->apwrite[1] = _progWriteIxfHeader;
      break;
    case PROG_IXF_END:
      pstep->apwrite[0] = pstep->apwrite[1] = _progWriteIxfEnd;
      break;
  }
}

#undef PROG_WRITERS
#undef PROG_WRITERS2

}  // namespace

void *zorucoreprogMake(const oconvert *pconvert)
{
  if (pconvert == nullptr || pconvert->pfunc == nullptr || pconvert->prowSource == nullptr ||
      pconvert->prowTarget == nullptr || pconvert->prowSource->pcoldef == nullptr ||
      pconvert->prowTarget->pcoldef == nullptr)
    return nullptr;
  const int32_t iCount = pconvert->prowSource->iCount;
  if (iCount <= 0 || pconvert->prowSource->iCapacity != iCount || pconvert->prowTarget->iCount != iCount ||
      pconvert->prowTarget->iCapacity != iCount)
    return nullptr;
  /* rows fetched through CLI are left to the column functions */
  for (int32_t i = 0; i < iCount; i++)
    if ((pconvert->prowSource->pcoldef[i].iType & COLKEY_CLI) != 0) return nullptr;
  progProgram *pprog = new (std::nothrow) progProgram;
  if (pprog == nullptr) return nullptr;
  try {
    pprog->vsteps.reserve(static_cast<size_t>(iCount));
    bool boHoles = false;
    bool boOwn = false;
    for (int32_t i = 0; i < iCount; i++) {
      pprog->vsteps.push_back(_progMakeStep(pconvert, i, &boHoles));
      _progSetWriters(&pprog->vsteps.back());
      if (pprog->vsteps.back().kind != PROG_CALL) boOwn = true;
    }
    if (boHoles || !boOwn) {
      delete pprog;
      return nullptr;
    }
  } catch (const std::bad_alloc &) {
    delete pprog;
    return nullptr;
  }
  /* room for the text of every later step with a bounded text, and the slack of the last write */
  int64_t llAfter = PROG_SLACK;
  for (int32_t i = iCount - 1; i >= 0; i--) {
    pprog->vsteps[static_cast<size_t>(i)].llFixedAfter = llAfter;
    llAfter += pprog->vsteps[static_cast<size_t>(i)].llText;
  }
  pprog->iCount = iCount;
  pprog->llText = llAfter;
  /* the record lengths from which every value lies inside the record */
  for (const progStep &step : pprog->vsteps) {
    if (step.kind == PROG_CALL || step.kind == PROG_END || step.kind == PROG_IXF_HEADER || step.kind == PROG_IXF_END)
      continue;
    pprog->ilOffsetEnd = std::max<int64_t>(pprog->ilOffsetEnd, static_cast<int64_t>(step.ilOffset) + 1);
    pprog->ilValueEnd = std::max<int64_t>(pprog->ilValueEnd, static_cast<int64_t>(step.ilOffset) + step.ilSize +
                                                                 (step.boNullable ? 1 : 0));
  }
  return pprog;
}

void zorucoreprogFree(void *pProgram)
{
  delete static_cast<progProgram *>(pProgram);
}
