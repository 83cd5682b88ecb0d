/*
** ostream.cpp
**   Read-only text streams held whole in memory (see ostream.h for the
**   contract).  A stream keeps an index of its line starts (an ostack of byte
**   pointers: entry 0 unused, entry n the first byte of line n), so that any
**   byte pointer converts to a line and column by a binary search, and a line
**   and column convert back by one lookup.  Reading moves the current
**   position one byte at a time and keeps its line and column up to date.
**
**   The end of the text is OSTREAM_EOF (-1), never a byte value, so every
**   byte 0..255 of single-byte text is read as data.  Stepping back never
**   stores anything: the text may live in read-only memory.
**
**   A mapped stream (a sub-stream not starting at its root's first byte)
**   keeps its own numbering internally and converts to the numbering of its
**   reference stream, the root of its parents, only when a position is
**   reported or built from reference coordinates.
*/
#include "common/ostream.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/ostack.h"

/* Empty texts still need a valid address for their pointer arithmetic. */
static const unsigned char gacEmpty[1] = {0};
/* Text of the stream made for an empty sub-stream span. */
static const unsigned char gacBlank[1] = {' '};

#define OSTREAM_LINES_HINT 100
#define OSTREAM_CHUNK 1024

/* First byte of line n (1..iLineCount). */
static inline const unsigned char *_streamLineStart(const ostream *pstream, int32_t iLine)
{
  return reinterpret_cast<const unsigned char *>(ostackGetAt(pstream->pstackLines, iLine));
}

/* Line holding the byte at pc: the last line whose first byte is not after pc. */
static int32_t _streamLineOf(const ostream *pstream, const unsigned char *pc)
{
  int32_t iLow = 1, iHigh = pstream->iLineCount;
  while (iLow < iHigh) {
    int32_t iMid = iLow + (iHigh - iLow + 1) / 2;
    if (_streamLineStart(pstream, iMid) <= pc)
      iLow = iMid;
    else
      iHigh = iMid - 1;
  }
  return iLow;
}

/* Line and column in pstream's own numbering of a pointer inside [buffer, end]. */
static void _streamLocate(const ostream *pstream, const unsigned char *pc, int32_t *piLine,
                          int32_t *piColumn)
{
  int32_t iLine = _streamLineOf(pstream, pc);
  *piLine = iLine;
  *piColumn = static_cast<int32_t>(pc - _streamLineStart(pstream, iLine)) + 1;
}

/* Line and column in the reference numbering of a byte offset in a mapped stream. */
static void _streamLocateMapped(const ostream *pstream, int64_t llOffset, int32_t *piLine,
                                int32_t *piColumn)
{
  const ostream *pref = pstream->pstreamRef;
  int64_t llRef = pstream->iOffset + llOffset;
  if (llRef < 0) llRef = 0;
  if (llRef > pref->iSize) llRef = pref->iSize;
  _streamLocate(pref, pref->pcBuffer + llRef, piLine, piColumn);
}

/* Builds the stream structure and its line index over a text. */
static ostream *_streamCreate(const unsigned char *pcText, int32_t iSize, bool bOwned)
{
  ostream *pstream = static_cast<ostream *>(std::calloc(1, sizeof(ostream)));
  if (pstream == nullptr) return nullptr;
  pstream->pstackLines = ostackCreate(OSTREAM_LINES_HINT);
  if (pstream->pstackLines == nullptr) {
    std::free(pstream);
    return nullptr;
  }
  pstream->pcBuffer = pcText;
  pstream->iSize = iSize;
  pstream->pcEnd = pcText + iSize;
  pstream->ulFlags = bOwned ? OSTREAM_OWNED : 0;

  ostackPush(pstream->pstackLines, 0);
  ostackPush(pstream->pstackLines, reinterpret_cast<uintptr_t>(pcText));
  pstream->iLineCount = 1;
  pstream->iEndColumn = 1;
  for (const unsigned char *pc = pcText; pc < pstream->pcEnd; pc++) {
    if (*pc == '\n') {
      ostackPush(pstream->pstackLines, reinterpret_cast<uintptr_t>(pc + 1));
      pstream->iLineCount++;
      pstream->iEndColumn = 1;
    } else {
      pstream->iEndColumn++;
    }
  }

  pstream->posCurrent.pstream = pstream;
  pstream->posCurrent.iLine = 1;
  pstream->posCurrent.iColumn = 1;
  pstream->posCurrent.pcPos = pcText;
  if (iSize == 0) pstream->ulFlags |= OSTREAM_AT_END;
  return pstream;
}

ostream *ostreamCreateFromBuffer(const void *pBuffer, int32_t iSize)
{
  if (iSize < 0 || (pBuffer == nullptr && iSize > 0)) return nullptr;
  const unsigned char *pc = iSize == 0 || pBuffer == nullptr
                                ? gacEmpty
                                : static_cast<const unsigned char *>(pBuffer);
  return _streamCreate(pc, iSize, false);
}

ostream *ostreamCreateFromFile(FILE *pfile)
{
  if (pfile == nullptr) return nullptr;
  std::vector<unsigned char> vText;
  unsigned char acChunk[OSTREAM_CHUNK];
  for (;;) {
    size_t ulRead = std::fread(acChunk, 1, sizeof acChunk, pfile);
    if (ulRead > 0) {
      if (vText.size() + ulRead > 0x7FFFFFFFu) return nullptr;  /* beyond a 32-bit size */
      try {
        vText.insert(vText.end(), acChunk, acChunk + ulRead);
      } catch (...) {
        return nullptr;
      }
    }
    if (ulRead < sizeof acChunk) {
      if (std::ferror(pfile)) return nullptr;
      if (std::feof(pfile)) break;
    }
  }
  size_t ulSize = vText.size();
  unsigned char *pcText = static_cast<unsigned char *>(std::malloc(ulSize > 0 ? ulSize : 1));
  if (pcText == nullptr) return nullptr;
  if (ulSize > 0) std::memcpy(pcText, vText.data(), ulSize);
  ostream *pstream = _streamCreate(pcText, static_cast<int32_t>(ulSize), true);
  if (pstream == nullptr) std::free(pcText);
  return pstream;
}

ostream *ostreamCreateFromFileName(const char *pcPath)
{
  if (pcPath == nullptr) return nullptr;
  FILE *pfile = std::fopen(pcPath, "r");
  if (pfile == nullptr) return nullptr;
  ostream *pstream = ostreamCreateFromFile(pfile);
  std::fclose(pfile);
  return pstream;
}

void ostreamDestroy(ostream *pstream)
{
  if (pstream == nullptr) return;
  if (pstream->ulFlags & OSTREAM_OWNED)
    std::free(const_cast<unsigned char *>(pstream->pcBuffer));
  ostackDestroy(pstream->pstackLines);
  std::free(pstream);
}

int ostreamGetc(ostream *pstream)
{
  ostreamPos *ppos = &pstream->posCurrent;
  if (pstream->ulFlags & OSTREAM_AT_END) {
    pstream->iReadsPastEnd++;
    return OSTREAM_EOF;
  }
  pstream->ulFlags &= ~OSTREAM_LINE_END;
  int iByte = *ppos->pcPos++;
  if (ppos->pcPos >= pstream->pcEnd) {
    /* The line does not change at the end, even after a final line feed. */
    ppos->iColumn++;
    pstream->ulFlags |= OSTREAM_AT_END;
    pstream->iReadsPastEnd = 0;
  } else if (iByte == '\n') {
    ppos->iLine++;
    ppos->iColumn = 1;
    pstream->ulFlags |= OSTREAM_LINE_END;
  } else {
    ppos->iColumn++;
  }
  return iByte;
}

int ostreamUngetc(ostream *pstream, int iByte)
{
  ostreamPos *ppos = &pstream->posCurrent;
  if (ppos->pcPos <= pstream->pcBuffer) return OSTREAM_EOF;
  if ((pstream->ulFlags & OSTREAM_AT_END) && pstream->iReadsPastEnd > 0) {
    pstream->iReadsPastEnd--;   /* undoes a read that found the end */
    return OSTREAM_EOF;
  }
  pstream->ulFlags &= ~(OSTREAM_AT_END | OSTREAM_LINE_END);
  ppos->pcPos--;
  if (ppos->iColumn > 1) {
    ppos->iColumn--;
  } else {
    /* Back over a line start onto the line feed that ended the previous line. */
    ppos->iLine = ppos->iLine > 1 ? ppos->iLine - 1 : _streamLineOf(pstream, ppos->pcPos);
    ppos->iColumn = static_cast<int32_t>(ppos->pcPos - _streamLineStart(pstream, ppos->iLine)) + 1;
  }
  return iByte;
}

ostreamPos *ostreamGetPos(ostream *pstream, ostreamPos *ppos)
{
  if (ppos == nullptr) return nullptr;
  *ppos = pstream->posCurrent;
  ppos->pstream = pstream;
  if (pstream->ulFlags & OSTREAM_MAPPED)
    _streamLocateMapped(pstream, ppos->pcPos - pstream->pcBuffer, &ppos->iLine, &ppos->iColumn);
  return ppos;
}

void ostreamPosGetLC(const ostreamPos *ppos, int32_t *piLine, int32_t *piColumn)
{
  int32_t iLine = ppos->iLine, iColumn = ppos->iColumn;
  const ostream *pstream = ppos->pstream;
  if (pstream != nullptr && (pstream->ulFlags & OSTREAM_MAPPED))
    _streamLocateMapped(pstream, ppos->pcPos - pstream->pcBuffer, &iLine, &iColumn);
  if (piLine != nullptr) *piLine = iLine;
  if (piColumn != nullptr) *piColumn = iColumn;
}

/* Resets the end flags to match the stream's current pointer (the stream does not move). */
static void _streamResetFlags(ostream *pstream)
{
  pstream->ulFlags &= ~(OSTREAM_AT_END | OSTREAM_LINE_END);
  if (pstream->posCurrent.pcPos >= pstream->pcEnd) {
    pstream->ulFlags |= OSTREAM_AT_END;
    pstream->iReadsPastEnd = 0;
  }
}

/*
** Position of (line, column) in the stream's own numbering.  A line past
** the text gives the end.  A column past its line is clamped to the line's
** last byte, its line feed; on the last line, which has no line feed, to the
** end of the text, so that the position after the text's last lexeme can be
** expressed.
*/
static void _streamBuildPos(ostreamPos *ppos, ostream *pstream, int32_t iLine, int32_t iColumn)
{
  if (iLine < 1) iLine = 1;
  if (iColumn < 1) iColumn = 1;
  ppos->pstream = pstream;
  if (iLine > pstream->iLineCount) {
    ppos->iLine = pstream->iLineCount;
    ppos->iColumn = pstream->iEndColumn;
    ppos->pcPos = pstream->pcEnd;
    return;
  }
  const unsigned char *pcStart = _streamLineStart(pstream, iLine);
  const unsigned char *pcLast = iLine < pstream->iLineCount
                                    ? _streamLineStart(pstream, iLine + 1) - 1
                                    : pstream->pcEnd;
  int64_t llAvail = pcLast - pcStart;
  if (static_cast<int64_t>(iColumn) - 1 > llAvail) iColumn = static_cast<int32_t>(llAvail) + 1;
  ppos->iLine = iLine;
  ppos->iColumn = iColumn;
  ppos->pcPos = pcStart + (iColumn - 1);
}

int ostreamPosLocalInit(ostreamPos *ppos, ostream *pstream, int32_t iLine, int32_t iColumn)
{
  _streamResetFlags(pstream);
  _streamBuildPos(ppos, pstream, iLine, iColumn);
  return 0;
}

int ostreamPosInit(ostreamPos *ppos, ostream *pstream, int32_t iLine, int32_t iColumn)
{
  if (!(pstream->ulFlags & OSTREAM_MAPPED)) return ostreamPosLocalInit(ppos, pstream, iLine, iColumn);
  _streamResetFlags(pstream);
  ostream *pref = pstream->pstreamRef;
  ostreamPos posRef;
  _streamBuildPos(&posRef, pref, iLine, iColumn);
  int64_t llLocal = (posRef.pcPos - pref->pcBuffer) - static_cast<int64_t>(pstream->iOffset);
  if (llLocal < 0) llLocal = 0;
  if (llLocal > pstream->iSize) llLocal = pstream->iSize;
  ppos->pstream = pstream;
  ppos->pcPos = pstream->pcBuffer + llLocal;
  _streamLocate(pstream, ppos->pcPos, &ppos->iLine, &ppos->iColumn);
  return 0;
}

/* Moves to a pointer, clamped to the text; line and column come from the index. */
static void _streamMoveTo(ostream *pstream, const unsigned char *pc)
{
  ostreamPos *pcur = &pstream->posCurrent;
  pstream->ulFlags &= ~(OSTREAM_AT_END | OSTREAM_LINE_END);
  uintptr_t ulPc = reinterpret_cast<uintptr_t>(pc);
  if (ulPc < reinterpret_cast<uintptr_t>(pstream->pcBuffer)) pc = pstream->pcBuffer;
  if (ulPc >= reinterpret_cast<uintptr_t>(pstream->pcEnd)) {
    pcur->pcPos = pstream->pcEnd;
    pcur->iLine = pstream->iLineCount;
    pcur->iColumn = pstream->iEndColumn;
    pstream->ulFlags |= OSTREAM_AT_END;
    pstream->iReadsPastEnd = 0;
    return;
  }
  pcur->pcPos = pc;
  _streamLocate(pstream, pc, &pcur->iLine, &pcur->iColumn);
}

int ostreamSetPos(ostream *pstream, const ostreamPos *ppos)
{
  /* The line and column are recomputed from the pointer rather than copied:
  ** a position reported by a mapped stream carries reference coordinates. */
  _streamMoveTo(pstream, ppos->pcPos);
  return 0;
}

int ostreamSeek(ostream *pstream, int32_t iOffset, int iWhence)
{
  if (pstream->iSize == 0) return 0;
  int64_t llBase;
  if (iWhence == OSTREAM_SEEK_SET)
    llBase = 0;
  else if (iWhence == OSTREAM_SEEK_END)
    llBase = pstream->iSize;
  else
    llBase = pstream->posCurrent.pcPos - pstream->pcBuffer;
  int64_t llTarget = llBase + iOffset;
  if (llTarget < 0) llTarget = 0;
  if (llTarget > pstream->iSize) llTarget = pstream->iSize;
  _streamMoveTo(pstream, pstream->pcBuffer + llTarget);
  return 0;
}

/* Maps pstream into the numbering of pref's root, at iOffset within pref. */
static void _streamMap(ostream *pstream, ostream *pref, int64_t llOffset)
{
  pstream->ulFlags &= ~OSTREAM_MAPPED;
  pstream->pstreamRef = nullptr;
  pstream->iOffset = 0;
  if (pref == nullptr) return;
  if (pref->pstreamRef != nullptr) {
    llOffset += pref->iOffset;
    pref = pref->pstreamRef;
  }
  pstream->pstreamRef = pref;
  pstream->iOffset = static_cast<int32_t>(llOffset);
  if (llOffset != 0) pstream->ulFlags |= OSTREAM_MAPPED;
}

ostream *ostreamCreateSubStream(ostream *pstreamParent, const ostreamPos *pposFirst,
                                const ostreamPos *pposLast)
{
  if (pposFirst == nullptr || pposLast == nullptr) return nullptr;
  /* Without a parent the text is that of the first position's stream, unmapped. */
  const ostream *psource = pstreamParent != nullptr ? pstreamParent : pposFirst->pstream;
  if (psource == nullptr) return nullptr;
  /* Positions come from callers: keep them inside the source's text. */
  auto clamp = [psource](const unsigned char *pc) -> int64_t {
    uintptr_t ul = reinterpret_cast<uintptr_t>(pc);
    uintptr_t ulStart = reinterpret_cast<uintptr_t>(psource->pcBuffer);
    if (ul < ulStart) return 0;
    if (ul - ulStart > static_cast<uintptr_t>(psource->iSize)) return psource->iSize;
    return static_cast<int64_t>(ul - ulStart);
  };
  int64_t llFirst = clamp(pposFirst->pcPos);
  int64_t llLast = clamp(pposLast->pcPos);
  ostream *pstream;
  if (llLast - llFirst <= 0)
    pstream = _streamCreate(gacBlank, 1, false);
  else
    pstream = _streamCreate(psource->pcBuffer + llFirst, static_cast<int32_t>(llLast - llFirst), false);
  if (pstream == nullptr) return nullptr;
  _streamMap(pstream, pstreamParent, llFirst);
  return pstream;
}

int ostreamSetReferenceStream(ostream *pstream, ostream *pstreamRef, int32_t iOffset)
{
  _streamMap(pstream, pstreamRef, iOffset);
  return 0;
}
