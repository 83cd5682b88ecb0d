/*
** ostream.h
**   Read-only text streams held whole in memory, read one byte at a time,
**   with a 1-based line and column for every position.  Streams are made from
**   a caller's buffer (borrowed), a file name or an open FILE (the stream then
**   owns a copy of the whole text).  A sub-stream borrows a span of its
**   parent's text and reports its positions in the line and column numbering
**   of the root of its parents (a mapped stream), so that text cut out of a
**   larger file is located in that file.  Only the line feed ends a line; the
**   stream never adds a terminating zero and never writes into its text.
**   A stream belongs to one thread; a sub-stream must be destroyed before the
**   stream whose memory it borrows.
**
**   Lexeme location: the five 32-bit words that the lexer fills for every
**   lexeme and that the generated parsers use as their location type: first
**   line and column of the lexeme's first byte, last line and column of the
**   position just after the lexeme, and a word kept at 0.  The field names
**   are those the parser generator's default location rule expects, and the
**   fifth word's initialiser lets the generated parser initialise a location
**   from four values; clear a location by assigning ostreamLocation{}.
*/
#ifndef ZAV_COMMON_OSTREAM_H
#define ZAV_COMMON_OSTREAM_H

#include <cstdint>
#include <cstdio>

struct ostack;

/* Value returned by ostreamGetc at the end and by ostreamUngetc when nothing
** can be stepped back; distinct from every byte value 0..255. */
#define OSTREAM_EOF (-1)

/* Stream flags. */
#define OSTREAM_AT_END    0x0001  /* the last byte has been read */
#define OSTREAM_LINE_END  0x0002  /* the last byte read ended a line */
#define OSTREAM_OWNED     0x0080  /* the buffer belongs to the stream */
#define OSTREAM_MAPPED    0x8000  /* positions reported in the reference stream's numbering */

/* Origins of ostreamSeek; any other value means the current position. */
#define OSTREAM_SEEK_SET  1
#define OSTREAM_SEEK_END  2
#define OSTREAM_SEEK_CUR  0

struct ostream;

/* A position of a stream, in the stream's own numbering. */
struct ostreamPos {
  ostream *pstream;            /* stream the position was taken from or built for */
  int32_t iColumn;             /* 1-based column of the next byte */
  int32_t iLine;               /* 1-based line of that byte */
  const unsigned char *pcPos;  /* the byte itself (the end pointer at the end) */
};

struct ostream {
  const unsigned char *pcBuffer;  /* first byte of the text */
  ostack *pstackLines;            /* line starts: entry 0 empty, entry n = first byte of line n */
  int32_t iSize;                  /* text length in bytes */
  ostreamPos posCurrent;          /* current position */
  int32_t iEndColumn;             /* column after the last byte of the last line */
  int32_t iLineCount;             /* 1 + number of line feeds */
  const unsigned char *pcEnd;     /* pcBuffer + iSize */
  uint32_t ulFlags;               /* OSTREAM_... */
  int32_t iReadsPastEnd;          /* reads made while at end */
  ostream *pstreamRef;            /* root of the parent chain of a sub-stream, else NULL */
  int32_t iOffset;                /* offset of the first byte within the reference text */
};

/* Lexeme location (see above). */
struct ostreamLocation {
  int32_t first_line;
  int32_t first_column;
  int32_t last_line;
  int32_t last_column;
  int32_t iReserved = 0;       /* always 0; the initialiser lets {l, c, l, c} initialise a location */
};

/*
** ostreamCreateFromBuffer
**   New stream over the caller's buffer of iSize bytes, which is neither
**   copied nor owned and must outlive the stream.  A size of 0 gives a stream
**   that is at end from the start.  Returns the stream, or NULL when memory
**   runs out (or for a NULL buffer with a positive size).
*/
ostream *ostreamCreateFromBuffer(const void *pBuffer, int32_t iSize);

/*
** ostreamCreateFromFileName
**   Reads the whole file named by pcPath (text mode) into a buffer that the
**   new stream owns.  Returns NULL for a NULL path, a file that cannot be
**   opened, a read error or exhausted memory.
*/
ostream *ostreamCreateFromFileName(const char *pcPath);

/*
** ostreamCreateFromFile
**   The same for an open file, read from its current position to its end;
**   the file is not closed.  Returns NULL for a NULL file, a read error or
**   exhausted memory.  Used for standard input.
*/
ostream *ostreamCreateFromFile(FILE *pfile);

/* ostreamDestroy: frees an owned buffer, the line index and the stream; NULL accepted. */
void ostreamDestroy(ostream *pstream);

/*
** ostreamGetc
**   Returns the next byte as 0..255 and advances, or OSTREAM_EOF when the
**   stream is already at end (each such call counts one read past the end).
*/
int ostreamGetc(ostream *pstream);

/*
** ostreamUngetc
**   Steps back one byte.  Returns iByte, or OSTREAM_EOF when nothing can be
**   stepped back (at the first byte) or when the call undoes a read that
**   returned OSTREAM_EOF (the stream then stays at its end).  The text is
**   never written: callers give back the byte they read.
*/
int ostreamUngetc(ostream *pstream, int iByte);

/*
** ostreamGetPos
**   Fills *ppos with the current position; for a mapped stream its line and
**   column are those of the reference stream.  Returns ppos (NULL for NULL).
*/
ostreamPos *ostreamGetPos(ostream *pstream, ostreamPos *ppos);

/* ostreamPosGetLC: line and column of a position (reference numbering for a
** mapped stream); either output may be NULL. */
void ostreamPosGetLC(const ostreamPos *ppos, int32_t *piLine, int32_t *piColumn);

/*
** ostreamPosInit
**   Builds *ppos from a line and column given in the reference stream's
**   numbering (the stream's own for an unmapped stream); values below 1 are
**   taken as 1, positions beyond a line or the text are clamped.  Resets the
**   stream's end flags to match its own current pointer.  Returns 0.
*/
int ostreamPosInit(ostreamPos *ppos, ostream *pstream, int32_t iLine, int32_t iColumn);

/* ostreamPosLocalInit: the same in the stream's own numbering.  Returns 0. */
int ostreamPosLocalInit(ostreamPos *ppos, ostream *pstream, int32_t iLine, int32_t iColumn);

/* ostreamSetPos: moves the stream to the position (clamped to the text).  Returns 0. */
int ostreamSetPos(ostream *pstream, const ostreamPos *ppos);

/*
** ostreamSeek
**   Moves by a signed byte offset from the start (OSTREAM_SEEK_SET), the end
**   (OSTREAM_SEEK_END) or the current position (any other value), clamped to
**   the text; an empty stream does not move.  Returns 0.
*/
int ostreamSeek(ostream *pstream, int32_t iOffset, int iWhence);

/*
** ostreamCreateSubStream
**   New stream over the parent's text from *pposFirst up to, not including,
**   *pposLast, borrowing the parent's memory.  It reports positions in the
**   numbering of the root of the parent chain unless it starts at offset 0.
**   Without a parent the span is cut from the first position's stream and
**   the new stream is not mapped.  Positions outside the text are clamped to
**   it; an empty or reversed span gives a stream over one blank.  Returns
**   NULL when memory runs out or no stream is known.
*/
ostream *ostreamCreateSubStream(ostream *pstreamParent, const ostreamPos *pposFirst,
                                const ostreamPos *pposLast);

/*
** ostreamSetReferenceStream
**   Makes pstream report its positions in the numbering of the root of
**   pstreamRef, its first byte lying at iOffset in that text.  Returns 0.
*/
int ostreamSetReferenceStream(ostream *pstream, ostream *pstreamRef, int32_t iOffset);

#endif
