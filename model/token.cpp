/*
** token.cpp
**   The atom-name table and its one-time filling (see token.h).
*/
#include "model/token.h"

#include <cstring>

#include "common/oname.h"
#include "common/oreason.h"

const char *gapnameTotalToken[TOKEN_SLOTS];

namespace {

/* The names by slot; nullptr marks a slot that is never filled. */
const char *const gapcTokenText[TOKEN_SLOTS] = {
    "OR", "AND", "NOT", "A", "ABS", "AFTER", "ALL", "APPEND", "ARGS", "AS",  /* 0 */
    "ASC", "ASCII", "ASIS", "BACKUP", "BEFORE", "BETWEEN", "BIGINT", "BOTH", "BY", nullptr,  /* 10 */
    "CASE", "CATALOG", "CCSID", "CEIL", nullptr, "CHAR", nullptr, "CLUSTER", "CLUSTERED", "COALESCE",  /* 20 */
    "COL", "CONNECT", "CONTAINERS", "CONTAINERS_LONG", "CONVERTER", "COREDATA", "CR", nullptr, "CURRENT", "D",  /* 30 */
    "DATABASE", "DATE", "DATE_A", "DATE_B", "DATE_C", "DATE_D", "DATE_E", "DATE_F", "DATE_G", "DATE_H",  /* 40 */
    "DATE_I", "DATE_J", "DATE_K", "DATE_L", "DATE_M", "DATE_N", "DATE_O", "DATE_P", "DATEDELIM", "DAY",  /* 50 */
    "DAYS", "DAYOFMONTH", "DAYOFWEEK", "DAYOFYEAR", "DB2", nullptr, "DEC", "DECIMAL", "DEL", "DELIM",  /* 60 */
    "DELIMITED", "DESC", "DIGITS", nullptr, "DOUBLE", "DOUBLE_DELIM", nullptr, "EBCDIC", "ELSE", "END",  /* 70 */
    "ESCAPE", "EUR", "FILEMAXSIZE", "FLOAT", "FLOOR", "FOR", "FORCE", "FORMAT", "FROM", "G",  /* 80 */
    "GLOBAL", "GRAPHIC", "HEADER_IXF", "HEX", "HOST", "HOUR", "HOURS", nullptr, "IN", "INSTANCE_NAME",  /* 90 */
    "INSTANCE_USER", "INT", "INTEGER", "INTERVAL", "IS", "ISO", "IXF", "JIS", "JUST", "K",  /* 100 */
    "LEAD", "LEADING", "LEFT", "LENGTH", "LENGTHBYTE", "LIKE", "LLS", "LOAD", "LOB", "LOBFILE",  /* 110 */
    "LOCAL", "LOCK", "LONGCOL", "LTRIM", "M", "MAX", "MAXBUFFER_MAIN", "MAXDB2LEN", "MAXLRECL", "MAXRC",  /* 120 */
    "MAXRECORD_MAIN", "MAXROWS", "MAXTASK", "MICROSECOND", "MICROSECONDS", "MIDNIGHT_SECONDS", "MINDB2LEN", "MINUTE", "MINUTES", "MOD",  /* 130 */
    "MONTH", "MONTHS", "MSGFILE", "NO", "NO", "NULL", "NULLID", "NULLIF", "NULLPOS", "OF",  /* 140 */
    "OFF", "ON", nullptr, "OPTIONS", "ORDER", "OUTPUT", "PADDING", "PART", "PARTS", "PARTS_TAKEN",  /* 150 */
    "PASS", "PIC", "QUARTER", "QUIESCE", "QUIESCECAT", "REAL", nullptr, "REPLACE", "RIGHT", "RTRIM",  /* 160 */
    nullptr, "SECOND", "SECONDS", "SELECT", "SEP", "SERIAL_EXEC", "SIGN", "SIZELIMIT", "SKIP", "SMALLINT",  /* 170 */
    "STRIP", "SUBSTR", "SYSIN", "TABLESPACE", "TAILLE_PARTIE_FIXE", "TAILLE_PARTIE_VARIABLE", "THEN", "THREADS", "TIME", "TIME_A",  /* 180 */
    "TIME_B", "TIME_C", "TIME_D", "TIME_E", "TIMEDELIM", "TIMESTAMP", "TIMESTAMP_A", "TIMESTAMP_B", "TIMESTAMP_C", "TIMESTAMP_D",  /* 190 */
    "TIMESTAMP_E", "TIMESTAMP_F", "TO", "TRAIL", "TRAILING", "TRUNC", "TRUNCATE", "TYPE", "UNICODE", "UNLDDN",  /* 200 */
    "UNLOAD", "USER", "USERNAME", "USA", "UTF8", "UTF16", nullptr, "VARCHAR", "VARGRAPHIC", "VERBOSE",  /* 210 */
    "VIEW", "WHEN", "WHERE", nullptr, "YEAR", "YEARS", "YES", "EQU", "INF", "IEQ",  /* 220 */
    "SUP", "SEQ", "DIF", "PLUS", "MINUS", "DIV", "MULT", "CONCAT", "UMINUS", "UPLUS",  /* 230 */
    "COMMA", "DOT", "PARCLOSE", "PAROPEN", "SEMICOLON", "IDENTIFIER", "LITTERAL", "ERROR", "FILENAME", "DIM",  /* 240 */
    "B", "COLTABLE", "COLTYPE", "DB2RUN", "DBNAME", "ECSOPT", "ECSTASK", "INPUTDDN_FORMATED", "L", "LIKEQUALIFIER",  /* 250 */
    "LIKETBNAME", "LOADDDN_FORMATED", "LOADOPT_DATA", "LOADOPT_MISC", "NULLDELIM", "OUTDDN_FORMATED", "PARMLIB", "SCHEME", "SELECTSQL", "SOURCECOL",  /* 260 */
    "SQLID", "SSID", "STAR", "SYSTABLE", "SYSTABLESPACE", "T", "TASKTYPE", "TBNAME", "TBQUALIFIER", "TSNAME",  /* 270 */
    "TSQUALIFIER", "UID", "VCAT", "PTK001", "PTK002", "PTK003",  /* 280 */
};

/* Set once the table has been filled. */
bool gboTokenInit = false;

}  // namespace

int tokenInitKeyword(void)
{
  if (gboTokenInit) return 0;
  if (gpnameGlobal == nullptr) {
    gpnameGlobal = onameCreate(250, 80);
    if (gpnameGlobal == nullptr) return ORC_NOMEM;
    onameSetFastEntry(gpnameGlobal, 1);
    onameSetAutoResize(gpnameGlobal, 1);
  }
  for (int i = 0; i < TOKEN_SLOTS; i++) {
    const char *pcText = gapcTokenText[i];
    if (pcText == nullptr) continue;
    const char *pcName = onameInternFixed(gpnameGlobal, pcText, std::strlen(pcText));
    if (pcName == nullptr) return ORC_NOMEM;
    gapnameTotalToken[i] = pcName;
  }
  gboTokenInit = true;
  return 0;
}
