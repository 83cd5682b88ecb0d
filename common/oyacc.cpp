/*
** oyacc.cpp
**   Parser contexts (contract in oyacc.h).  The context owns its stream and
**   lexer description unless the ownership flags say they are borrowed (a
**   nested context parsing a sub-stream borrows its parent's description,
**   and its parent's stream when given none); the lexer always belongs to the
**   context.  Every initialiser leaves what it was given in the context, also
**   when it fails, so that oyaccDelete releases it in every case.
*/
#include "common/oyacc.h"

#include <cstdlib>
#include <cstring>

#include "common/ochar.h"

int oyaccInit(oyacc *pyacc, oyaccLexDesc *pdesc, const olexContextDef *const *ppdefs,
              ostream *pstream)
{
  if (pyacc == nullptr) return ORC_INVALID;
  std::memset(pyacc, 0, sizeof *pyacc);
  pyacc->pdesc = pdesc;
  pyacc->pstream = pstream;
  if (pdesc == nullptr) return ORC_INVALID;
  pyacc->plex = olexCreate();
  if (pyacc->plex == nullptr) return ORC_NOMEM;
  olexSetStream(pyacc->plex, pstream);
  return olexInit(pyacc->plex, ppdefs, pdesc->cStringDelim, pdesc->cIdentDelim, pdesc->cDecimal,
                  pdesc->usCcsidSBCS, pdesc->usCcsidMixed, pdesc->usCcsidDBCS, pdesc->iMixed);
}

int oyaccInitItemized(oyacc *pyacc, const olexContextDef *const *ppdefs, ostream *pstream,
                      char cStringDelim, char cIdentDelim, char cDecimal,
                      uint16_t usCcsidSBCS, uint16_t usCcsidMixed, uint16_t usCcsidDBCS,
                      int32_t iMixed)
{
  if (pyacc == nullptr) return ORC_INVALID;
  oyaccLexDesc *pdesc = static_cast<oyaccLexDesc *>(std::calloc(1, sizeof(oyaccLexDesc)));
  if (pdesc == nullptr) {
    std::memset(pyacc, 0, sizeof *pyacc);
    pyacc->pstream = pstream;
    return ORC_NOMEM;
  }
  pdesc->usCcsidSBCS = usCcsidSBCS;
  pdesc->usCcsidDBCS = usCcsidDBCS;
  pdesc->usCcsidMixed = usCcsidMixed;
  pdesc->cStringDelim = cStringDelim;
  pdesc->cIdentDelim = cIdentDelim;
  pdesc->cDecimal = cDecimal;
  pdesc->iMixed = iMixed;
  return oyaccInit(pyacc, pdesc, ppdefs, pstream);
}

int oyaccInitFromYacc(oyacc *pyacc, oyacc *pyaccParent, ostream *pstream,
                      const olexContextDef *const *ppdefs)
{
  if (pyacc == nullptr) return ORC_INVALID;
  if (pyaccParent == nullptr) {
    std::memset(pyacc, 0, sizeof *pyacc);
    pyacc->pstream = pstream;
    return ORC_INVALID;
  }
  bool bOwnStream = pstream != nullptr;
  int rc = oyaccInit(pyacc, pyaccParent->pdesc, ppdefs, bOwnStream ? pstream : pyaccParent->pstream);
  pyacc->ulOwnFlags = OYACC_DESC_BORROWED | (bOwnStream ? 0 : OYACC_STREAM_BORROWED);
  return rc;
}

oyacc *oyaccCreate(oyaccLexDesc *pdesc, const olexContextDef *const *ppdefs, ostream *pstream)
{
  oyacc *pyacc = static_cast<oyacc *>(std::calloc(1, sizeof(oyacc)));
  if (pyacc == nullptr) return nullptr;
  if (oyaccInit(pyacc, pdesc, ppdefs, pstream) != 0) {
    olexDestroy(pyacc->plex);   /* the caller keeps its description and stream */
    std::free(pyacc);
    return nullptr;
  }
  return pyacc;
}

int oyaccDelete(oyacc *pyacc)
{
  if (pyacc == nullptr) return 0;
  olexDestroy(pyacc->plex);
  pyacc->plex = nullptr;
  if (!(pyacc->ulOwnFlags & OYACC_STREAM_BORROWED)) ostreamDestroy(pyacc->pstream);
  pyacc->pstream = nullptr;
  if (!(pyacc->ulOwnFlags & OYACC_DESC_BORROWED)) std::free(pyacc->pdesc);
  pyacc->pdesc = nullptr;
  return 0;
}

/* The stream the lexer reads, which the locations refer to. */
static ostream *_yaccStream(const oyacc *pyacc)
{
  if (pyacc->plex != nullptr && pyacc->plex->pstream != nullptr) return pyacc->plex->pstream;
  return pyacc->pstream;
}

/*
** Positions of the span from the start of plocFirst to the end of plocLast,
** in the stream's own text.  Returns false without a stream.
*/
static bool _yaccSpan(oyacc *pyacc, const ostreamLocation *plocFirst,
                      const ostreamLocation *plocLast, ostreamPos *pposFirst, ostreamPos *pposLast)
{
  ostream *pstream = _yaccStream(pyacc);
  if (pstream == nullptr || plocFirst == nullptr || plocLast == nullptr) return false;
  ostreamPosInit(pposFirst, pstream, plocFirst->first_line, plocFirst->first_column);
  ostreamPosInit(pposLast, pstream, plocLast->last_line, plocLast->last_column);
  return true;
}

ochar *oyaccExtractRulesString(oyacc *pyacc, const ostreamLocation *plocFirst,
                               const ostreamLocation *plocLast)
{
  if (pyacc == nullptr) return nullptr;
  uint16_t usCcsid = pyacc->pdesc != nullptr ? pyacc->pdesc->usCcsidSBCS : 0;
  ostreamPos posFirst, posLast;
  int64_t llSpan = 0;
  if (_yaccSpan(pyacc, plocFirst, plocLast, &posFirst, &posLast)) llSpan = posLast.pcPos - posFirst.pcPos;
  if (llSpan < 0) llSpan = 0;
  ochar *pchar = ocharCreate(static_cast<int32_t>(llSpan) + 2, usCcsid);
  if (pchar == nullptr) return nullptr;
  if ((llSpan > 0 && ocharAppendFixedS(pchar, posFirst.pcPos, static_cast<int32_t>(llSpan)) != 0) ||
      ocharAppendFixedS(pchar, " ", 1) != 0) {
    ocharDestroy(pchar);
    return nullptr;
  }
  return pchar;
}

ochar *oyaccExtractRuleString(oyacc *pyacc, const ostreamLocation *ploc)
{
  return oyaccExtractRulesString(pyacc, ploc, ploc);
}

ostream *oyaccCreateSubStream(oyacc *pyacc, const ostreamLocation *plocFirst,
                              const ostreamLocation *plocLast)
{
  if (pyacc == nullptr) return nullptr;
  ostreamPos posFirst, posLast;
  if (!_yaccSpan(pyacc, plocFirst, plocLast, &posFirst, &posLast)) return nullptr;
  return ostreamCreateSubStream(_yaccStream(pyacc), &posFirst, &posLast);
}

int oyaccCheckIntegerRange(int64_t iValue, int64_t iMin, int64_t iMax)
{
  return iMin <= iValue && iValue <= iMax ? 1 : 0;
}
