/*
** ocnvft.h
**   Code pages of the system and conversion of string objects between CCSIDs
**   through ICU.  One global conversion context, gpcnvft, is made at start-up
**   from the locale: five CCSID triples (host, locale, internal, external,
**   application), the CCSID of the database being read, and a cache of ICU
**   converter pairs keyed (source CCSID << 16) | target CCSID.  The module
**   also answers the questions asked before a conversion: the CCSIDs of a
**   locale or code-set name, the parts of a mixed CCSID, and the substitute
**   of a CCSID that ICU or DB2 spells differently.
**
**   Converters are opened once per context and pair, and never closed: they
**   live until the process ends; forked children inherit the context with
**   its cache.  CCSIDs 0, 0xFFFF and 0xFFFE stand for no code page: such
**   data is copied unchanged and no converter is opened for it.  The pair
**   37/850 never comes here (ochar translates it with its own tables).
**
**   No locking: a context and its cache are used by one thread at a time.
*/
#ifndef ZAV_COMMON_OCNVFT_H
#define ZAV_COMMON_OCNVFT_H

#include <cstdint>

#include <unicode/ucnv.h>

struct odict;
struct ochar;

/* Reason codes (module 0x015). */
#define OCNVFT_RC_NOCONTEXT   0x15c001  /* the context cannot be allocated */
#define OCNVFT_RC_NOCONVERTER 0x15a001  /* no converter for a pair; locale not known */
#define OCNVFT_RC_NOCONVERT   0x15a003  /* no conversion available: bytes copied unchanged */
#define OCNVFT_RC_ICU         0x15a006  /* ICU reported an error during a conversion */

/* Kinds of converter entries. */
#define OCNVFT_KIND_NONE 0   /* no conversion available for the pair */
#define OCNVFT_KIND_ICU  4   /* ICU pair through UTF-16 */

/* Three CCSIDs naming the code pages of one kind of text. */
struct ocnvftTriple {
  uint16_t usSBCS;    /* single-byte */
  uint16_t usDBCS;    /* double-byte */
  uint16_t usMixed;   /* mixed */
};

/*
** Converter entry of one CCSID pair.  A NULL side means that side is UTF-16
** in the machine's byte order (CCSID 1202 for ocnvftConvert, 1200 for an
** entry made by ocnvftGetConverter).  Callers of ocnvftGetConverter may run
** the two ICU steps themselves with pucWork as the UTF-16 buffer, growing it
** (malloc) and updating ilWorkSize.
*/
struct ocnvftEntry {
  int32_t     ilKind;        /* OCNVFT_KIND_* */
  UConverter *pconvSource;   /* source CCSID -> UTF-16, or NULL */
  UConverter *pconvTarget;   /* UTF-16 -> target CCSID, or NULL */
  UChar      *pucWork;       /* UTF-16 text between the steps, owned, or NULL */
  int32_t     ilWorkSize;    /* its size in bytes */
};

struct ocnvft {
  odict         *pdictCache;     /* ocnvftEntry by (source << 16) | target */
  unsigned char  ucFlag;         /* 0x80 in every context of the system */
  char           cLetter;        /* encoding letter, 'A' */
  ocnvftTriple   tripleHost;     /* 37, 1200, 0 */
  ocnvftTriple   tripleLocale;   /* from the locale */
  ocnvftTriple   tripleInternal; /* 850, 1202, 1208 */
  ocnvftTriple   tripleExternal; /* texts shown to the user (sysprint) */
  ocnvftTriple   tripleAppli;    /* constants and function results in expressions */
  uint16_t       usDbCCSID;      /* CCSID of the database being read, 0 until set */
};

/* The process's conversion context, NULL until made. */
extern ocnvft *gpcnvft;

/* Rows of the look-up tables. */
struct ocnvftLocale {
  uint16_t    usSBCS;    /* CCSID of the locale (single-byte or mixed) */
  uint16_t    usDBCS;    /* its double-byte CCSID */
  const char *pcName;    /* locale name, NULL in the end row */
  uint32_t    ulMask;    /* platform bits */
};
struct ocnvftCodeSet {
  const char *pcName;
  uint16_t    usCCSID;
};
struct ocnvftMixed {
  uint16_t usMixed, usSBCS, usDBCS;
};
struct ocnvftSubst {
  uint16_t usCCSID, usExternal, usInternal;
};
extern const ocnvftLocale  gaLocaleFinder[];
extern const ocnvftCodeSet gacodeset2ccsid[];
extern const ocnvftMixed   gamixedDecomp[];
extern const ocnvftSubst   gasubstituteCP[];

/*
** ocnvftCreateGlobal
**   Destroys the previous global context (its cache and entries, not their
**   converters) and makes a new one as gpcnvft with an empty cache.  The
**   triples are each given as single-byte, mixed, double-byte CCSID; the
**   external triple is set afterwards by ocnvftSetExternal.
**   Returns 0, or OCNVFT_RC_NOCONTEXT when the context cannot be allocated.
*/
int ocnvftCreateGlobal(void *pIgnored, char cLetter, unsigned char ucFlag,
                       uint16_t usHostS, uint16_t usHostM, uint16_t usHostD,
                       uint16_t usLocaleS, uint16_t usLocaleM, uint16_t usLocaleD,
                       uint16_t usInternS, uint16_t usInternM, uint16_t usInternD,
                       uint16_t usAppliS, uint16_t usAppliM, uint16_t usAppliD);

/* ocnvftCreate: as ocnvftCreateGlobal, but returns the new context (NULL when
** out of memory) without making it global. */
ocnvft *ocnvftCreate(void *pIgnored, char cLetter, unsigned char ucFlag,
                     uint16_t usHostS, uint16_t usHostM, uint16_t usHostD,
                     uint16_t usLocaleS, uint16_t usLocaleM, uint16_t usLocaleD,
                     uint16_t usInternS, uint16_t usInternM, uint16_t usInternD,
                     uint16_t usAppliS, uint16_t usAppliM, uint16_t usAppliD);

/* ocnvftDestroy: destroys the context's cache and frees it; NULL is ignored.
** Clears gpcnvft when it is the global context. */
void ocnvftDestroy(ocnvft *pcnvft);

/* ocnvftSetExternal: sets the external triple (NULL: the global context;
** nothing when there is none). */
void ocnvftSetExternal(ocnvft *pcnvft, uint16_t usSBCS, uint16_t usMixed, uint16_t usDBCS);

/* ocnvftSetDB: sets the database CCSID (NULL: the global context; nothing
** when there is none). */
void ocnvftSetDB(ocnvft *pcnvft, uint16_t usCCSID);

/*
** ocnvftConvert
**   Converts the source text into the target string object, whose CCSID the
**   caller has set.  Equal CCSIDs, or 0, 0xFFFF, 0xFFFE on either side, copy
**   the bytes.  NULL uses the global context, created with defaults when
**   there is none.
**   Returns 0, ORC_NOMEM, OCNVFT_RC_NOCONVERT (ZORI006E once per pair and
**   context; the bytes are copied unchanged), or OCNVFT_RC_ICU (ICU error;
**   the target may hold partial output).
*/
int ocnvftConvert(ocnvft *pcnvft, const ochar *pcharSource, ochar *pcharTarget);

/*
** ocnvftGetConverter
**   Gives through *ppentry the cached entry of the pair, made when missing.
**   The entry is NULL when no conversion is needed (equal or special
**   CCSIDs).  NULL uses the global context.
**   Returns 0, or OCNVFT_RC_NOCONVERTER (entry NULL; ZORI006E the first time)
**   when no converter can be opened for the pair.
*/
int ocnvftGetConverter(ocnvftEntry **ppentry, ocnvft *pcnvft, uint16_t usSource, uint16_t usTarget);

/*
** ocnvftGetCCSIDFromLocale
**   Looks the locale name up (exact; "" and "C" mean en_US) among the rows
**   whose platform mask shares a bit with ulMask.
**   Returns 0 with both CCSIDs, or OCNVFT_RC_NOCONVERTER with both set to 0.
*/
int ocnvftGetCCSIDFromLocale(const char *pcName, uint32_t ulMask, uint16_t *pusSBCS, uint16_t *pusDBCS);

/* ocnvftCodeSet2Ccsid: returns the CCSID of a code-set name ("IBM-nnn" gives
** nnn modulo 65536), or 0. */
uint16_t ocnvftCodeSet2Ccsid(const char *pcName);

/*
** ocnvftDecomposeMixed
**   Splits a CCSID: single-byte gives (CCSID, 0), double-byte (0, CCSID), a
**   mixed one its two parts from gamixedDecomp; outputs untouched for an
**   unknown one.  Returns 0.
*/
int ocnvftDecomposeMixed(uint16_t usCCSID, uint16_t *pusSBCS, uint16_t *pusDBCS);

/* ocnvftSubstInternal, ocnvftSubstExternal: return the substitute of the
** CCSID from gasubstituteCP, or the CCSID itself. */
uint16_t ocnvftSubstInternal(uint16_t usCCSID);
uint16_t ocnvftSubstExternal(uint16_t usCCSID);

#endif
