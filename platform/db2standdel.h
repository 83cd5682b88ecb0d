/*
** db2standdel.h
**   The stand-in's DEL writer for its export: one field of a result row in
**   DB2's delimited format, as DB2's EXPORT writes it.
**     CHAR, VARCHAR, LONG VARCHAR, CLOB, the graphic types and FOR BIT DATA
**                the value between double quotes, a double quote inside
**                doubled; CHAR and GRAPHIC padded to their length
**     SMALLINT, INTEGER, BIGINT   the plain number: -42, 7
**     DECIMAL    sign, every integer digit, the point, every fraction digit:
**                +0052750.00; scale 0 keeps the point for an odd precision
**     DOUBLE, REAL  the shortest form of 15 (REAL: 6) significant digits,
**                an exponent in capitals: 4.5, 1E+10
**     DATE       YYYYMMDD, without quotes
**     TIME       "HH.MM.SS"
**     TIMESTAMP  "YYYY-MM-DD-HH.MM.SS.NNNNNN"
**     NULL       nothing (an empty field)
**   Used only by platform/.
*/
#ifndef ZAV_PLATFORM_DB2STANDDEL_H
#define ZAV_PLATFORM_DB2STANDDEL_H

#include <sqlite3.h>

#include <string>

#include "platform/db2standcli.h"

/*
** db2standDelField
**   Appends to *pstr the DEL text of column iIdx of the row pst stands on,
**   described by ct; nothing for a NULL.
*/
void db2standDelField(sqlite3_stmt *pst, int iIdx, const db2standColType &ct, std::string *pstr);

#endif
