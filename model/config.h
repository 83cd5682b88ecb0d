/*
** config.h
**   Installation-wide settings.  The installation directory is named by the
**   environment variable TOPZAV; under it cfg/db2zav.cfg holds key=value
**   lines, cfg/db2zav.trace the trace keywords to switch on, msg/db2zav the
**   message catalogue.  The module offers the TOPZAV check, seventeen numbered
**   configuration items with built-in defaults (the file is read anew at
**   every look-up; the first line with a key wins), look-ups in the three
**   per-instance lists (instance homes, instance users, database paths), the user defaults
**   of the unload copied once into the parameter library, the trace keyword
**   list, and the language set-up that picks the process's code pages from
**   the locale and makes the global conversion context.
**
**   Start-up calls, in this order: configVerifyTopzav, configUseItem(0),
**   configReadFileTrace, configSetLanguage, then, after the options,
**   configGetDefaultUserParam.  Values returned are newly allocated and
**   belong to the caller.
**
**   File format: a line whose first byte is '#' is a comment; any other line
**   is split at its first '=' after any leading '=': the key before it is
**   compared exactly (case and blanks count), the value is the rest of the
**   line without its line feed.  Lines of any length are read whole.
**
**   Instance list (items 7, 8 and 15): entries "instance:value" separated by
**   commas; the instance name holds no ':' and the value no ','.
*/
#ifndef ZAV_MODEL_CONFIG_H
#define ZAV_MODEL_CONFIG_H

#include <cstdint>

struct ochar;
struct olexContextDef;

/* Reason codes (module 0x111). */
#define CONFIG_RC_NOCODEPAGE 0x111A001   /* no code page for the locale */
#define CONFIG_RC_NOTOPZAV   0x111A002   /* TOPZAV is not set */
#define CONFIG_RC_NOFILE     0x111A003   /* no configuration file */
#define CONFIG_RC_NOKEY      0x1119003   /* the key is not in the file */
#define CONFIG_RC_NOCATALOG  0x111C001   /* TOPZAV not set: no catalogue path */

/* Items. */
#define CONFIG_ITEM_FILE         0   /* path of the configuration file */
#define CONFIG_ITEM_BUFSIZE      1
#define CONFIG_ITEM_RECSIZE      2
#define CONFIG_ITEM_DB2DBDFT     3
#define CONFIG_ITEM_DB2INSTANCE  4
#define CONFIG_ITEM_MAXUNLOADS   5
#define CONFIG_ITEM_MAXSOCKETS   6
#define CONFIG_ITEM_INSTHOMES    7
#define CONFIG_ITEM_INSTUSERS    8
#define CONFIG_ITEM_LANGUAGECODE 9
#define CONFIG_ITEM_COUNTRYCODE  10
#define CONFIG_ITEM_PTK001       11
#define CONFIG_ITEM_PTK002       12
#define CONFIG_ITEM_PTK003       13
#define CONFIG_ITEM_DOUBLEDELIM  14
#define CONFIG_ITEM_DBPATHS      15   /* database paths of an instance, besides its home */
#define CONFIG_ITEM_DAEMONTIMEOUT 16  /* seconds a daemon waits within a conversation */
#define CONFIG_ITEM_COUNT        17

/* Item 14's value when the file holds none of the accepted words. */
#define CONFIG_DOUBLEDELIM_INVALID (-1)

/* File names under TOPZAV. */
#define CONFIG_FILE_CFG   "db2zav.cfg"
#define CONFIG_FILE_TRACE "db2zav.trace"

/* Keys and built-in defaults of the items, indexed by item number (NULL: none). */
extern const char *const gapcTabVarNames[CONFIG_ITEM_COUNT];
extern const char *const gapcTabVarValues[CONFIG_ITEM_COUNT];

/* Lexer description of the trace switch file: one context, identifiers
** (lexeme id 10) and the error lexeme (id 11). */
#define CONFIG_LEX_WORD  10
#define CONFIG_LEX_ERROR 11
extern const olexContextDef *const aplexContextDefTrace[];

/* Locale name built from items 9 and 10 by configSetLanguage. */
extern char acStrLang[100];

/* configVerifyTopzav: 0 when TOPZAV is set, else 0x111A002. */
int configVerifyTopzav(void);

/*
** configUseItem
**   Looks item iItem up (iAlloc must be 1).  Returns a new value the caller
**   frees: a NUL-terminated text for items 0, 3, 4, 7 to 10 and 15, an int32_t
**   for the others (strtol base 10; no digits give 0), for item 14 the
**   integer 1 for ON, YES or 1, 0 for OFF, NO or 0 (any case, blanks around
**   the word allowed), CONFIG_DOUBLEDELIM_INVALID for any other value.
**   NULL when there is no configuration file, when the item has neither a
**   value in the file nor a default, for an item above 16, and when iAlloc
**   is not 1.
*/
void *configUseItem(int iItem, int iAlloc);

/*
** configUseItemInLst
**   For item 7 (instance homes), 8 (instance users) or 15 (database paths,
**   separated by ';'): a new copy of the value the list gives for
**   pcInstance (exact match).  NULL when there is
**   no such entry, no file, for any other item, and when iAlloc is not 1.
*/
char *configUseItemInLst(int iItem, int iAlloc, const char *pcInstance);

/*
** configGetDefaultUserParam
**   Copies the user defaults of the configuration file (lock, quiesce, date,
**   time, timestamp, mask, pic, nullpos, db2, scheme, decimal_separator)
**   into the fields of parameter-library members OPTUNL and OPTDB2; a key
**   that is missing, empty or holds no accepted value leaves its field.
**   Returns the code of its last look-up (0, 0x1119003 or 0x111A003).
*/
int configGetDefaultUserParam(void);

/*
** configCheckFile
**   Reads the configuration file once and reports each line that no look-up
**   would ever use with ZORU466W (its number, the file, why): a line that is
**   neither blank, nor a comment, nor key=value, or whose key is not one of
**   the fifteen items or the user defaults.  Such lines are ignored, as
**   before; the warning only tells that a setting was not taken.
**   Returns the number of lines reported (0 without a file).
*/
int configCheckFile(void);

/*
** configReadFileTrace
**   Returns the trace keyword list: a new CCSID 850 string object holding
**   each word of $TOPZAV/cfg/db2zav.trace, upper-cased and followed by one
**   blank; " " when there is no such file; NULL when memory runs out.
*/
ochar *configReadFileTrace(void);

/*
** configSetLanguage
**   Picks the code pages from the locale of LANG, else from the locale
**   "<languagecode>_<countrycode>" of items 9 and 10, sets gccsidSBCS,
**   gccsidMixed and gccsidDBCS and makes the global conversion context.
**   *ppcLanguage receives the catalogue language (item 9, else "en") and
**   *ppcPath the catalogue path $TOPZAV/msg/db2zav, both new texts, or both
**   NULL when TOPZAV is not set.
**   Returns 0; 0x111A001 after ZORU417E when no code page is found (globals
**   and context unchanged); 0x111C001 when TOPZAV is not set (the code
**   pages are still set up).
*/
int configSetLanguage(char **ppcLanguage, char **ppcPath);

#endif
