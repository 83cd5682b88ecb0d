/*
** sqlcat.cpp
**   The catalogue queries through CLI (see sqlcat.h): statement texts, the
**   buffers their result columns are bound to, the records made from each
**   fetched row, the default value of a column and the report of CLI
**   diagnostics.
**
**   A fetched row lands in a _sqlcatRow: one zeroed area per bound column
**   and its indicator.  Values are read back from it with memcpy at their
**   own width; a character value is as long as its indicator says, cut to
**   its buffer (less the terminating zero) when the client cut it.  The row
**   is cleared before each fetch, so that a null column the client leaves
**   untouched reads as zero, never as the previous row's value.
**
**   Fetching stops at the end of the rows; a fetch that fails is reported
**   (ZORU020E and the diagnostics) and gives SQLCAT_RC_EXECUTE rather than
**   a short list: a table read with columns missing would be unloaded wrong.
*/
#include "catalog/sqlcat.h"

#include "common/omsgs.h"
#include "model/parm.h"
#include "model/zormsgs.h"
#include "common/obyte.h"
#include "common/ochaine.h"
#include "common/ochar.h"
#include "model/token.h"
#include "model/zoratom.h"
#include "model/zortask.h"
#include "expr/zorcol.h"
#include "io/zor3write.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#define OMSGS_TRACE_KEYWORD "$SQLCAT"
#define OMSGS_DEBUG_KEYWORD "$SQLCATD"
#include "common/omsgsmod.h"

namespace {

/* ------------------------------------------------------------ statements */

const char *const gpcSelectTablespaces =
    "SELECT TBSPACE, DEFINER, CREATE_TIME, TBSPACEID, TBSPACETYPE, DATATYPE, EXTENTSIZE, PREFETCHSIZE, OVERHEAD, "
    "TRANSFERRATE, REMARKS, NGNAME, BUFFERPOOLID, PAGESIZE, DROP_RECOVERY FROM SYSIBM.SYSTABLESPACES WHERE "
    "TBSPACE <> 'SYSCATSPACE' AND (DATATYPE = 'A' OR DATATYPE = 'L')";

const char *const gpcSelectTablespace =
    "SELECT TBSPACE, DEFINER, CREATE_TIME, TBSPACEID, TBSPACETYPE, DATATYPE, EXTENTSIZE, PREFETCHSIZE, OVERHEAD, "
    "TRANSFERRATE, REMARKS, NGNAME, BUFFERPOOLID, PAGESIZE, DROP_RECOVERY FROM SYSIBM.SYSTABLESPACES WHERE "
    "TBSPACE = ?";

const char *const gpcSelectTables =
    "SELECT NAME, CREATOR, TYPE, CTIME, REMARKS, COLCOUNT, FID, TID, CARD, NPAGES, FPAGES, OVERFLOW, PARENTS, "
    "CHILDREN, SELFREFS, KEYCOLUMNS, KEYOBID, BASE_NAME, BASE_SCHEMA, TBSPACE , INDEX_TBSPACE, LONG_TBSPACE, "
    "KEYUNIQUE, CHECKCOUNT, STATS_TIME, DEFINER, DATA_CAPTURE, STATUS, CONST_CHECKED, PMAP_ID, LOG_ATTRIBUTE, "
    "PCTFREE, ROWTYPESCHEMA, ROWTYPENAME, APPEND_MODE, PARTITION_MODE, REFRESH, REFRESH_TIME, LOCKSIZE, VOLATILE "
    "FROM   SYSIBM.SYSTABLES WHERE  TID = ? AND TYPE = 'T'";

const char *const gpcSelectColumns =
    "SELECT NAME, TBNAME, TBCREATOR, REMARKS, COLTYPE, NULLS, CODEPAGE, DBCSCODEPG, LENGTH, SCALE, COLNO, COLCARD, "
    "HIGH2KEY, LOW2KEY, AVGCOLLEN, KEYSEQ, TYPENAME, TYPESCHEMA, DEFAULT, LONGLENGTH, LOGGED, COMPACT, NQUANTILES, "
    "NMOSTFREQ, COMPOSITE_CODEPAGE, PARTKEYSEQ, SOURCE_TABSCHEMA, SOURCE_TABNAME, HIDDEN, GENERATED, "
    "INLINE_LENGTH, NUMNULLS, DATAMODEL, SUB_COUNT, SUB_DELIM_LENGTH, IDENTITY FROM SYSIBM.SYSCOLUMNS WHERE "
    "TBCREATOR = ? AND TBNAME = ? ORDER BY TBNAME, COLNO ASC";

const char *const gpcSelectTSFromTB = "SELECT TBSPACE, TYPE FROM SYSIBM.SYSTABLES WHERE CREATOR = ? AND NAME = ?";

/* Parameter buffers: a table-space name of 18 bytes, a schema or table name of 128, with their zero. */
const int giTablespaceBuffer = 19;
const int giNameBuffer = 129;

/* ------------------------------------------------------------ bound rows */

/* One bound result column: CLI value type and buffer size in bytes. */
struct _sqlcatCol {
  SQLSMALLINT sType;
  SQLINTEGER iSize;
};

#define C_CHAR(n) {SQL_C_CHAR, n}
#define C_SHORT {SQL_C_SHORT, 2}
#define C_LONG {SQL_C_LONG, 4}
#define C_DOUBLE {SQL_C_DOUBLE, 8}

const _sqlcatCol gaColsTablespace[] = {
    C_CHAR(19), C_CHAR(129), C_CHAR(32), C_LONG, C_CHAR(2), C_CHAR(2), C_LONG, C_LONG, C_DOUBLE, C_DOUBLE,
    C_CHAR(255), C_CHAR(19), C_LONG, C_LONG, C_CHAR(2)};
enum {
  TS_TBSPACE, TS_DEFINER, TS_CREATE_TIME, TS_TBSPACEID, TS_TBSPACETYPE, TS_DATATYPE, TS_EXTENTSIZE,
  TS_PREFETCHSIZE, TS_OVERHEAD, TS_TRANSFERRATE, TS_REMARKS, TS_NGNAME, TS_BUFFERPOOLID, TS_PAGESIZE,
  TS_DROP_RECOVERY
};

const _sqlcatCol gaColsTables[] = {
    C_CHAR(129), C_CHAR(129), C_CHAR(2), C_CHAR(32), C_CHAR(255), C_SHORT, C_SHORT, C_SHORT, C_LONG, C_LONG,
    C_LONG, C_LONG, C_SHORT, C_SHORT, C_SHORT, C_SHORT, C_SHORT, C_CHAR(129), C_CHAR(129), C_CHAR(19),
    C_CHAR(19), C_CHAR(19), C_SHORT, C_SHORT, C_CHAR(32), C_CHAR(129), C_CHAR(2), C_CHAR(2), C_CHAR(32), C_SHORT,
    C_CHAR(2), C_SHORT, C_CHAR(129), C_CHAR(19), C_CHAR(2), C_CHAR(2), C_CHAR(2), C_CHAR(27), C_CHAR(2),
    C_CHAR(2)};
enum {
  TB_NAME, TB_CREATOR, TB_TYPE, TB_CTIME, TB_REMARKS, TB_COLCOUNT, TB_FID, TB_TID, TB_CARD, TB_NPAGES, TB_FPAGES,
  TB_OVERFLOW, TB_PARENTS, TB_CHILDREN, TB_SELFREFS, TB_KEYCOLUMNS, TB_KEYOBID, TB_BASE_NAME, TB_BASE_SCHEMA,
  TB_TBSPACE, TB_INDEX_TBSPACE, TB_LONG_TBSPACE, TB_KEYUNIQUE, TB_CHECKCOUNT, TB_STATS_TIME, TB_DEFINER,
  TB_DATA_CAPTURE, TB_STATUS, TB_CONST_CHECKED, TB_PMAP_ID, TB_LOG_ATTRIBUTE, TB_PCTFREE, TB_ROWTYPESCHEMA,
  TB_ROWTYPENAME, TB_APPEND_MODE, TB_PARTITION_MODE, TB_REFRESH, TB_REFRESH_TIME, TB_LOCKSIZE, TB_VOLATILE
};

const _sqlcatCol gaColsColumns[] = {
    C_CHAR(129), C_CHAR(129), C_CHAR(129), C_CHAR(255), C_CHAR(9), C_CHAR(2), C_SHORT, C_SHORT, C_SHORT, C_SHORT,
    C_SHORT, C_LONG, C_CHAR(255), C_CHAR(255), C_LONG, C_SHORT, C_CHAR(19), C_CHAR(129), C_CHAR(255), C_LONG,
    C_CHAR(2), C_CHAR(2), C_SHORT, C_SHORT, C_SHORT, C_SHORT, C_CHAR(129), C_CHAR(129), C_CHAR(2), C_CHAR(2),
    C_LONG, C_LONG, C_SHORT, C_SHORT, C_LONG, C_CHAR(2)};
enum {
  CO_NAME, CO_TBNAME, CO_TBCREATOR, CO_REMARKS, CO_COLTYPE, CO_NULLS, CO_CODEPAGE, CO_DBCSCODEPG, CO_LENGTH,
  CO_SCALE, CO_COLNO, CO_COLCARD, CO_HIGH2KEY, CO_LOW2KEY, CO_AVGCOLLEN, CO_KEYSEQ, CO_TYPENAME, CO_TYPESCHEMA,
  CO_DEFAULT, CO_LONGLENGTH, CO_LOGGED, CO_COMPACT, CO_NQUANTILES, CO_NMOSTFREQ, CO_COMPOSITE_CODEPAGE,
  CO_PARTKEYSEQ, CO_SOURCE_TABSCHEMA, CO_SOURCE_TABNAME, CO_HIDDEN, CO_GENERATED, CO_INLINE_LENGTH, CO_NUMNULLS,
  CO_DATAMODEL, CO_SUB_COUNT, CO_SUB_DELIM_LENGTH, CO_IDENTITY
};

const _sqlcatCol gaColsTSFromTB[] = {C_CHAR(19), C_CHAR(2)};
enum { TF_TBSPACE, TF_TYPE };

#undef C_CHAR
#undef C_SHORT
#undef C_LONG
#undef C_DOUBLE

/* The buffers of one bound row.  Never resized once bound. */
struct _sqlcatRow {
  const _sqlcatCol *pacol = nullptr;
  size_t ulCount = 0;
  std::vector<char> vData;
  std::vector<size_t> vOffset;
  std::vector<SQLINTEGER> vIndicator;
};

void _sqlcatRowInit(_sqlcatRow *prow, const _sqlcatCol *pacol, size_t ulCount)
{
  prow->pacol = pacol;
  prow->ulCount = ulCount;
  size_t ulTotal = 0;
  for (size_t i = 0; i < ulCount; i++) {
    prow->vOffset.push_back(ulTotal);
    ulTotal += static_cast<size_t>(pacol[i].iSize);
  }
  prow->vData.assign(ulTotal, 0);
  prow->vIndicator.assign(ulCount, 0);
}

/* Binds every column of the row; the results are not looked at (a column
   left unbound reads as zero). */
void _sqlcatRowBind(_sqlcatRow *prow, SQLHSTMT hstmt)
{
  for (size_t i = 0; i < prow->ulCount; i++)
    SQLBindCol(hstmt, static_cast<SQLUSMALLINT>(i + 1), prow->pacol[i].sType, prow->vData.data() + prow->vOffset[i],
               prow->pacol[i].iSize, &prow->vIndicator[i]);
}

void _sqlcatRowClear(_sqlcatRow *prow)
{
  std::fill(prow->vData.begin(), prow->vData.end(), 0);
  std::fill(prow->vIndicator.begin(), prow->vIndicator.end(), 0);
}

const char *_sqlcatRowData(const _sqlcatRow *prow, size_t i)
{
  return prow->vData.data() + prow->vOffset[i];
}

bool _sqlcatRowIsNull(const _sqlcatRow *prow, size_t i)
{
  return prow->vIndicator[i] < 0;
}

/* The byte length of a character value: its indicator, within its buffer. */
int32_t _sqlcatRowLength(const _sqlcatRow *prow, size_t i)
{
  SQLINTEGER iInd = prow->vIndicator[i];
  SQLINTEGER iRoom = prow->pacol[i].iSize - 1;
  if (iInd < 0) return 0;
  return iInd < iRoom ? iInd : iRoom;
}

int16_t _sqlcatRowShort(const _sqlcatRow *prow, size_t i)
{
  int16_t s;
  std::memcpy(&s, _sqlcatRowData(prow, i), sizeof s);
  return s;
}

/* A SMALLINT that reads -1 when null. */
int16_t _sqlcatRowShortNull(const _sqlcatRow *prow, size_t i)
{
  return _sqlcatRowIsNull(prow, i) ? static_cast<int16_t>(-1) : _sqlcatRowShort(prow, i);
}

int32_t _sqlcatRowLong(const _sqlcatRow *prow, size_t i)
{
  int32_t l;
  std::memcpy(&l, _sqlcatRowData(prow, i), sizeof l);
  return l;
}

double _sqlcatRowDouble(const _sqlcatRow *prow, size_t i)
{
  double d;
  std::memcpy(&d, _sqlcatRowData(prow, i), sizeof d);
  return d;
}

/* The first byte of a one-character column. */
char _sqlcatRowChar(const _sqlcatRow *prow, size_t i)
{
  return _sqlcatRowData(prow, i)[0];
}

/* A new string of ilLength bytes with that CCSID, always with a buffer and
   a zero after the text; NULL when memory runs out. */
ochar *_sqlcatNewString(const void *pBytes, int32_t ilLength, uint16_t usCCSID)
{
  ochar *pchar = static_cast<ochar *>(std::calloc(1, sizeof(ochar)));
  if (pchar == nullptr) return nullptr;
  if (ocharInitFromFixed(pchar, pBytes, ilLength, usCCSID) != 0 || ocharMakeC(pchar) != 0) {
    ocharDestroy(pchar);
    return nullptr;
  }
  return pchar;
}

/* The fetched string of a column (CCSID gccsidMixed); NULL when the column is null. */
ochar *_sqlcatRowString(const _sqlcatRow *prow, size_t i)
{
  if (_sqlcatRowIsNull(prow, i)) return nullptr;
  return _sqlcatNewString(_sqlcatRowData(prow, i), _sqlcatRowLength(prow, i), gccsidMixed);
}

/* ------------------------------------------------------------ statement steps */

/* The connection's database name, for messages. */
std::string _sqlcatDatabaseName(SQLHDBC hdbc)
{
  char ac[255] = {0};
  SQLSMALLINT sLength = 0;
  SQLGetInfo(hdbc, SQL_DATA_SOURCE_NAME, ac, static_cast<SQLSMALLINT>(sizeof ac), &sLength);
  size_t ulLength = strnlen(ac, sizeof ac - 1);
  if (sLength >= 0 && static_cast<size_t>(sLength) < ulLength) ulLength = static_cast<size_t>(sLength);
  return std::string(ac, ulLength);
}

/* The catalogue name a message names: the database, or the database and the table space. */
std::string _sqlcatMessageName(SQLHDBC hdbc, const char *pcTablespace)
{
  std::string str = _sqlcatDatabaseName(hdbc);
  if (pcTablespace != nullptr) str += std::string(".") + pcTablespace;
  return str;
}

/* Allocates and prepares a statement.  Returns 0, SQLCAT_RC_ALLOC or
   SQLCAT_RC_PREPARE (after the diagnostics; the statement is freed). */
int _sqlcatPrepare(SQLHDBC hdbc, const char *pcText, SQLHSTMT *phstmt)
{
  *phstmt = 0;
  SQLRETURN sqlrc = SQLAllocHandle(SQL_HANDLE_STMT, hdbc, phstmt);
  if (sqlrc != SQL_SUCCESS) {
    omsgsTrace("SQLAllocHandle Failed sqlrc %i, hdbc(%i)\n", sqlrc, hdbc);
    _sqlcatGetDb2ErrorInfo(SQL_HANDLE_DBC, hdbc, sqlrc);
    *phstmt = 0;
    return SQLCAT_RC_ALLOC;
  }
  sqlrc = SQLPrepare(*phstmt, reinterpret_cast<SQLCHAR *>(const_cast<char *>(pcText)), SQL_NTS);
  if (sqlrc != SQL_SUCCESS) {
    omsgsTrace("SQLPrepare Failed sqlrc %i, hstmt(%i)\n", sqlrc, *phstmt);
    _sqlcatGetDb2ErrorInfo(SQL_HANDLE_STMT, *phstmt, sqlrc);
    SQLFreeHandle(SQL_HANDLE_STMT, *phstmt);
    *phstmt = 0;
    return SQLCAT_RC_PREPARE;
  }
  return 0;
}

/* Binds one character input parameter of SQL type CHAR from a zero-terminated buffer. */
SQLRETURN _sqlcatBindChar(SQLHSTMT hstmt, SQLUSMALLINT usNumber, char *pcBuffer, int iSize)
{
  return SQLBindParameter(hstmt, usNumber, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_CHAR, static_cast<SQLUINTEGER>(iSize),
                          0, pcBuffer, iSize, nullptr);
}

/* A failed parameter binding: trace, diagnostics, statement freed.  Returns SQLCAT_RC_BIND. */
int _sqlcatBindFailed(SQLHSTMT hstmt, SQLRETURN sqlrc)
{
  omsgsTrace("SQLBindParameter Failed sqlrc %i, hstmt(%i)\n", sqlrc, hstmt);
  _sqlcatGetDb2ErrorInfo(SQL_HANDLE_STMT, hstmt, sqlrc);
  SQLFreeHandle(SQL_HANDLE_STMT, hstmt);
  return SQLCAT_RC_BIND;
}

/* A failed execution or fetch: ZORU020E, diagnostics, statement freed.  Returns SQLCAT_RC_EXECUTE. */
int _sqlcatRetrieveFailed(SQLHDBC hdbc, SQLHSTMT hstmt, SQLRETURN sqlrc, const char *pcTablespace)
{
  std::string strName = _sqlcatMessageName(hdbc, pcTablespace);
  omsgsFMTEDO(ZORU020E, static_cast<int>(strName.size()), strName.c_str());
  _sqlcatGetDb2ErrorInfo(SQL_HANDLE_STMT, hstmt, sqlrc);
  SQLFreeHandle(SQL_HANDLE_STMT, hstmt);
  return SQLCAT_RC_EXECUTE;
}

/* Executes; any return but SQL_SUCCESS fails.  Returns 0 or SQLCAT_RC_EXECUTE (statement freed). */
int _sqlcatExecute(SQLHDBC hdbc, SQLHSTMT hstmt, const char *pcTablespace)
{
  SQLRETURN sqlrc = SQLExecute(hstmt);
  if (sqlrc == SQL_SUCCESS) return 0;
  omsgsTrace("SQLExecute Failed sqlrc %i, hstmt(%i)\n", sqlrc, hstmt);
  return _sqlcatRetrieveFailed(hdbc, hstmt, sqlrc, pcTablespace);
}

/* Fetches the next row into the cleared row.  1 for a row, 0 at the end, -1 when the fetch failed. */
int _sqlcatFetch(SQLHSTMT hstmt, _sqlcatRow *prow, SQLRETURN *psqlrc)
{
  _sqlcatRowClear(prow);
  *psqlrc = SQLFetch(hstmt);
  if (*psqlrc == SQL_SUCCESS || *psqlrc == SQL_SUCCESS_WITH_INFO) return 1;
  if (*psqlrc == SQL_NO_DATA_FOUND) return 0;
  omsgsTrace("SQLFetch Failed sqlrc %i, hstmt(%i)\n", *psqlrc, hstmt);
  return -1;
}

/* ------------------------------------------------------------ records */

/* Fills a table-space record from a row of gaColsTablespace. */
void _sqlcatPutTablespace(osysibmSystablespace *p, const _sqlcatRow *prow)
{
  p->pcharNAME = _sqlcatRowString(prow, TS_TBSPACE);
  p->pcharCREATOR = _sqlcatRowString(prow, TS_DEFINER);
  p->pcharCREATEDTS = _sqlcatRowString(prow, TS_CREATE_TIME);
  p->sOBID = static_cast<int16_t>(_sqlcatRowLong(prow, TS_TBSPACEID));
  p->cTBSPACETYPE = _sqlcatRowChar(prow, TS_TBSPACETYPE);
  p->cDATATYPE = _sqlcatRowChar(prow, TS_DATATYPE);
  p->iEXTENTSIZE = _sqlcatRowLong(prow, TS_EXTENTSIZE);
  p->iPREFETCHSIZE = _sqlcatRowLong(prow, TS_PREFETCHSIZE);
  p->dOVERHEAD = _sqlcatRowDouble(prow, TS_OVERHEAD);
  p->dTRANSFERRATE = _sqlcatRowDouble(prow, TS_TRANSFERRATE);
  p->pcharREMARKS = _sqlcatRowString(prow, TS_REMARKS);
  p->pcharNGNAME = _sqlcatRowString(prow, TS_NGNAME);
  p->iBUFFERPOOLID = _sqlcatRowLong(prow, TS_BUFFERPOOLID);
  p->iPAGESIZE = _sqlcatRowLong(prow, TS_PAGESIZE);
  p->cDROP_RECOVERY = _sqlcatRowChar(prow, TS_DROP_RECOVERY);
}

void _sqlcatPutTable(osysibmSystables *p, const _sqlcatRow *prow)
{
  p->pcharNAME = _sqlcatRowString(prow, TB_NAME);
  p->pcharCREATOR = _sqlcatRowString(prow, TB_CREATOR);
  p->cTYPE = _sqlcatRowChar(prow, TB_TYPE);
  p->pcharCREATEDTS = _sqlcatRowString(prow, TB_CTIME);
  p->pcharREMARKS = _sqlcatRowString(prow, TB_REMARKS);
  p->sCOLCOUNT = _sqlcatRowShort(prow, TB_COLCOUNT);
  p->sOBID = _sqlcatRowShort(prow, TB_FID);
  p->sTID = _sqlcatRowShort(prow, TB_TID);
  p->llCARD = _sqlcatRowLong(prow, TB_CARD);
  p->iNPAGES = _sqlcatRowLong(prow, TB_NPAGES);
  p->iFPAGES = _sqlcatRowLong(prow, TB_FPAGES);
  p->iOVERFLOW = _sqlcatRowLong(prow, TB_OVERFLOW);
  p->sPARENTS = _sqlcatRowShortNull(prow, TB_PARENTS);
  p->sCHILDREN = _sqlcatRowShortNull(prow, TB_CHILDREN);
  p->sSELFREFS = _sqlcatRowShortNull(prow, TB_SELFREFS);
  p->sKEYCOLUMNS = _sqlcatRowShortNull(prow, TB_KEYCOLUMNS);
  p->sKEYOBID = _sqlcatRowShortNull(prow, TB_KEYOBID);
  p->pcharBASE_NAME = _sqlcatRowString(prow, TB_BASE_NAME);
  p->pcharBASE_SCHEMA = _sqlcatRowString(prow, TB_BASE_SCHEMA);
  p->pcharTSNAME = _sqlcatRowString(prow, TB_TBSPACE);
  p->pcharINDEX_TBSPACE = _sqlcatRowString(prow, TB_INDEX_TBSPACE);
  p->pcharLONG_TBSPACE = _sqlcatRowString(prow, TB_LONG_TBSPACE);
  p->sCHECKS = _sqlcatRowShort(prow, TB_KEYUNIQUE);
  p->pcharSTATSTIME = _sqlcatRowString(prow, TB_STATS_TIME);
  p->pcharDEFINER = _sqlcatRowString(prow, TB_DEFINER);
  p->cDATACAPTURE = _sqlcatRowChar(prow, TB_DATA_CAPTURE);
  p->cSTATUS = _sqlcatRowChar(prow, TB_STATUS);
  p->pcharCONST_CHECKED = _sqlcatRowString(prow, TB_CONST_CHECKED);
  p->sPMAP_ID = _sqlcatRowShortNull(prow, TB_PMAP_ID);
  p->cLOG_ATTRIBUTE = _sqlcatRowChar(prow, TB_LOG_ATTRIBUTE);
  p->sPCTFREE = _sqlcatRowShort(prow, TB_PCTFREE);
  p->pcharROWTYPESCHEMA = _sqlcatRowString(prow, TB_ROWTYPESCHEMA);
  p->pcharROWTYPENAME = _sqlcatRowString(prow, TB_ROWTYPENAME);
  p->cAPPEND_MODE = _sqlcatRowChar(prow, TB_APPEND_MODE);
  p->cPARTITION_MODE = _sqlcatRowChar(prow, TB_PARTITION_MODE);
  p->cREFRESH = _sqlcatRowChar(prow, TB_REFRESH);
  p->pcharREFRESH_TIME = _sqlcatRowString(prow, TB_REFRESH_TIME);
  p->cLOCKSIZE = _sqlcatRowChar(prow, TB_LOCKSIZE);
  p->cVOLATILE = _sqlcatRowChar(prow, TB_VOLATILE);
}

/*
** The default value of a column from its DEFAULT text (pcText of ilText
** bytes, NULL when the column has none), its type id and CODEPAGE: the
** text as the table was declared with it, tagged with the code page it is
** in.  A column without DEFAULT has no default, nullable or not: its IXF
** column record says so, and a row written before a nullable column was
** added holds a null there.  NULL when the column has no default.
*/
ochar *_sqlcatDefault(int iTypeId, const char *pcText, int32_t ilText, int16_t sCodepage)
{
  uint16_t usCodepage = static_cast<uint16_t>(sCodepage);
  if (pcText == nullptr) return nullptr;
  switch (iTypeId) {
    case OSYSIBM_TYPE_SMALLINT: case OSYSIBM_TYPE_INTEGER: case OSYSIBM_TYPE_DECIMAL:
    case OSYSIBM_TYPE_DOUBLE: case OSYSIBM_TYPE_REAL: case OSYSIBM_TYPE_BIGINT: case OSYSIBM_TYPE_BLOB:
    case OSYSIBM_TYPE_GRAPHIC: case OSYSIBM_TYPE_VARGRAPHIC: case OSYSIBM_TYPE_LONGVARG: case OSYSIBM_TYPE_DBCLOB:
      return _sqlcatNewString(pcText, ilText, OCHAR_CCSID_ASCII);
    case OSYSIBM_TYPE_CHAR: case OSYSIBM_TYPE_VARCHAR: case OSYSIBM_TYPE_LONGVARCHAR: case OSYSIBM_TYPE_CLOB:
      return _sqlcatNewString(pcText, ilText, usCodepage);
    case OSYSIBM_TYPE_DATE: case OSYSIBM_TYPE_TIME: case OSYSIBM_TYPE_TIMESTAMP:
      return _sqlcatNewString(pcText, ilText, 0xFFFF);
    default:
      return nullptr;
  }
}

void _sqlcatPutColumn(osysibmSyscolumns *p, const _sqlcatRow *prow)
{
  p->pcharNAME = _sqlcatRowString(prow, CO_NAME);
  p->pcharTBNAME = _sqlcatRowString(prow, CO_TBNAME);
  p->pcharTBCREATOR = _sqlcatRowString(prow, CO_TBCREATOR);
  p->pcharREMARKS = _sqlcatRowString(prow, CO_REMARKS);
  p->pcharCOLTYPE = _sqlcatRowString(prow, CO_COLTYPE);
  p->cNULLS = _sqlcatRowChar(prow, CO_NULLS);
  p->sCODEPAGE = _sqlcatRowShort(prow, CO_CODEPAGE);
  p->sDBCSCODEPG = _sqlcatRowShort(prow, CO_DBCSCODEPG);
  p->sLENGTH = _sqlcatRowShort(prow, CO_LENGTH);
  p->sSCALE = _sqlcatRowShort(prow, CO_SCALE);
  p->sCOLNO = _sqlcatRowShort(prow, CO_COLNO);
  p->iCOLCARD = _sqlcatRowLong(prow, CO_COLCARD);
  p->pcharHIGH2KEY = _sqlcatRowString(prow, CO_HIGH2KEY);
  p->pcharLOW2KEY = _sqlcatRowString(prow, CO_LOW2KEY);
  p->iAVGCOLLEN = _sqlcatRowLong(prow, CO_AVGCOLLEN);
  p->sKEYSEQ = _sqlcatRowShortNull(prow, CO_KEYSEQ);
  p->pcharTYPENAME = _sqlcatRowString(prow, CO_TYPENAME);
  p->pcharTYPESCHEMA = _sqlcatRowString(prow, CO_TYPESCHEMA);
  p->iLENGTH2 = _sqlcatRowLong(prow, CO_LONGLENGTH);
  p->cLOGGED = _sqlcatRowChar(prow, CO_LOGGED);
  p->cCOMPACT = _sqlcatRowChar(prow, CO_COMPACT);
  p->sNQUANTILES = _sqlcatRowShort(prow, CO_NQUANTILES);
  p->sNMOSTFREQ = _sqlcatRowShort(prow, CO_NMOSTFREQ);
  p->sCOMPOSITE_CODEPAGE = _sqlcatRowShort(prow, CO_COMPOSITE_CODEPAGE);
  p->sPARTKEYSEQ = _sqlcatRowShortNull(prow, CO_PARTKEYSEQ);
  p->pcharSOURCE_TABSCHEMA = _sqlcatRowString(prow, CO_SOURCE_TABSCHEMA);
  p->pcharSOURCE_TABNAME = _sqlcatRowString(prow, CO_SOURCE_TABNAME);
  p->cHIDDEN = _sqlcatRowChar(prow, CO_HIDDEN);
  p->cGENERATED = _sqlcatRowChar(prow, CO_GENERATED);
  p->iINLINE_LENGTH = _sqlcatRowLong(prow, CO_INLINE_LENGTH);
  p->iNUMNULLS = _sqlcatRowLong(prow, CO_NUMNULLS);
  p->iDATAMODEL = _sqlcatRowShort(prow, CO_DATAMODEL);
  p->sSUB_COUNT = _sqlcatRowShort(prow, CO_SUB_COUNT);
  p->sSUB_DELIM_LENGTH = static_cast<int16_t>(_sqlcatRowLong(prow, CO_SUB_DELIM_LENGTH));
  p->cIDENTITY = _sqlcatRowChar(prow, CO_IDENTITY);
  /* FLOAT of 4 bytes is REAL, of 8 DOUBLE */
  p->iTypeId = osysibmGetIdLength(p->pcharCOLTYPE, p->sLENGTH);
  p->pcharDEFAULTVALUE =
      _sqlcatDefault(p->iTypeId, _sqlcatRowIsNull(prow, CO_DEFAULT) ? nullptr : _sqlcatRowData(prow, CO_DEFAULT),
                     _sqlcatRowLength(prow, CO_DEFAULT), p->sCODEPAGE);
}

/* Fills one record from a fetched row. */
typedef void (*_sqlcatPutProc)(osysibm *precord, const _sqlcatRow *prow);

/*
** Fetches every row of an executed statement into a new record of
** ulRecordSize bytes (zeroed, owner powner) appended to pchaine; frees the
** statement.  Returns 0, SQLCAT_RC_NOROW when there was no row (no
** message), ORC_NOMEM, or SQLCAT_RC_EXECUTE when a fetch failed.
*/
int _sqlcatFetchAll(SQLHDBC hdbc, SQLHSTMT hstmt, const _sqlcatCol *pacol, size_t ulCols, ochaine *pchaine,
                    size_t ulRecordSize, osysibm *powner, _sqlcatPutProc procPut, const char *pcTablespace)
{
  _sqlcatRow row;
  _sqlcatRowInit(&row, pacol, ulCols);
  _sqlcatRowBind(&row, hstmt);
  int iRows = 0;
  SQLRETURN sqlrc = SQL_SUCCESS;
  int iFetch;
  while ((iFetch = _sqlcatFetch(hstmt, &row, &sqlrc)) == 1) {
    osysibm *precord = static_cast<osysibm *>(std::calloc(1, ulRecordSize));
    if (precord == nullptr) {
      SQLFreeHandle(SQL_HANDLE_STMT, hstmt);
      return ORC_NOMEM;
    }
    precord->powner = powner;
    procPut(precord, &row);
    ochaineAppend(pchaine, precord);
    iRows++;
  }
  if (iFetch < 0) return _sqlcatRetrieveFailed(hdbc, hstmt, sqlrc, pcTablespace);
  SQLFreeHandle(SQL_HANDLE_STMT, hstmt);
  return iRows > 0 ? 0 : SQLCAT_RC_NOROW;
}

void _sqlcatPutTablespaceProc(osysibm *precord, const _sqlcatRow *prow)
{
  _sqlcatPutTablespace(reinterpret_cast<osysibmSystablespace *>(precord), prow);
}

void _sqlcatPutTableProc(osysibm *precord, const _sqlcatRow *prow)
{
  _sqlcatPutTable(reinterpret_cast<osysibmSystables *>(precord), prow);
}

void _sqlcatPutColumnProc(osysibm *precord, const _sqlcatRow *prow)
{
  _sqlcatPutColumn(reinterpret_cast<osysibmSyscolumns *>(precord), prow);
}

/* The table-space query with or without a name. */
int _sqlcatTablespaces(ochaine *pchaine, const char *pcTablespace, SQLHDBC hdbc)
{
  if (pchaine == nullptr) return ORC_INVALID;
  SQLHSTMT hstmt = 0;
  int rc = _sqlcatPrepare(hdbc, pcTablespace != nullptr ? gpcSelectTablespace : gpcSelectTablespaces, &hstmt);
  if (rc != 0) return rc;
  char acTablespace[giTablespaceBuffer] = {0};
  if (pcTablespace != nullptr) {
    std::strncpy(acTablespace, pcTablespace, sizeof acTablespace - 1);
    SQLRETURN sqlrc = _sqlcatBindChar(hstmt, 1, acTablespace, giTablespaceBuffer);
    if (sqlrc != SQL_SUCCESS) return _sqlcatBindFailed(hstmt, sqlrc);
  }
  rc = _sqlcatExecute(hdbc, hstmt, pcTablespace);
  if (rc != 0) return rc;
  rc = _sqlcatFetchAll(hdbc, hstmt, gaColsTablespace, std::size(gaColsTablespace), pchaine,
                       sizeof(osysibmSystablespace), nullptr, _sqlcatPutTablespaceProc, pcTablespace);
  if (rc == SQLCAT_RC_NOROW) {
    std::string strName = _sqlcatMessageName(hdbc, pcTablespace);
    omsgsFMTEDO(ZORU019E, static_cast<int>(strName.size()), strName.c_str());
  }
  return rc;
}

/* A zero-terminated copy of a record's string in a buffer of iSize bytes. */
void _sqlcatCopyName(char *pcBuffer, int iSize, const ochar *pchar)
{
  std::memset(pcBuffer, 0, static_cast<size_t>(iSize));
  if (pchar == nullptr || pchar->pcData == nullptr || pchar->ilBU <= 0) return;
  size_t ulCopy = static_cast<size_t>(pchar->ilBU) < static_cast<size_t>(iSize - 1) ? static_cast<size_t>(pchar->ilBU)
                                                                                       : static_cast<size_t>(iSize - 1);
  std::memcpy(pcBuffer, _charText(pchar), ulCopy);
}

}  // namespace

/* ------------------------------------------------------------ query functions */

int sqlcatGetTablespaces(ochaine *pchaine, SQLHDBC hdbc)
{
  if (gboTorvelExist) omsgsTraceInIntern("sqlcatGetTablespaces", 0);
  int rc = _sqlcatTablespaces(pchaine, nullptr, hdbc);
  omsgsTrace("sqlcatGetTablespaces -> 0x%x\n", static_cast<unsigned>(rc));
  if (gboTorvelExist) omsgsTraceOutIntern("sqlcatGetTablespaces", rc);
  return rc;
}

int sqlcatGetTablespace(ochaine *pchaine, const char *pcTablespace, SQLHDBC hdbc)
{
  if (gboTorvelExist) omsgsTraceInIntern("sqlcatGetTablespace", 0);
  int rc = _sqlcatTablespaces(pchaine, pcTablespace != nullptr ? pcTablespace : "", hdbc);
  omsgsTrace("sqlcatGetTablespace %s -> 0x%x\n", pcTablespace != nullptr ? pcTablespace : "",
             static_cast<unsigned>(rc));
  if (gboTorvelExist) omsgsTraceOutIntern("sqlcatGetTablespace", rc);
  return rc;
}

int sqlcatGetTables(osysibmSystablespace *ptablespace, SQLHDBC hdbc)
{
  if (ptablespace == nullptr || ptablespace->apchaine[1] == nullptr) return ORC_INVALID;
  if (gboTorvelExist) omsgsTraceInIntern("sqlcatGetTables", 0);
  SQLHSTMT hstmt = 0;
  int rc = _sqlcatPrepare(hdbc, gpcSelectTables, &hstmt);
  int16_t sTid = ptablespace->sOBID;
  if (rc == 0) {
    SQLRETURN sqlrc = SQLBindParameter(hstmt, 1, SQL_PARAM_INPUT, SQL_C_SHORT, SQL_SMALLINT, 0, 0, &sTid, 0, nullptr);
    if (sqlrc != SQL_SUCCESS) rc = _sqlcatBindFailed(hstmt, sqlrc);
  }
  if (rc == 0) rc = _sqlcatExecute(hdbc, hstmt, nullptr);
  if (rc == 0)
    rc = _sqlcatFetchAll(hdbc, hstmt, gaColsTables, std::size(gaColsTables), ptablespace->apchaine[1],
                         sizeof(osysibmSystables), &ptablespace->hdr, _sqlcatPutTableProc, nullptr);
  omsgsTrace("sqlcatGetTables %d -> 0x%x\n", sTid, static_cast<unsigned>(rc));
  if (gboTorvelExist) omsgsTraceOutIntern("sqlcatGetTables", rc);
  return rc;
}

int sqlcatGetColumns(osysibmSystables *ptable, SQLHDBC hdbc)
{
  if (ptable == nullptr || ptable->apchaine[0] == nullptr) return ORC_INVALID;
  if (gboTorvelExist) omsgsTraceInIntern("sqlcatGetColumns", 0);
  char acCreator[giNameBuffer], acName[giNameBuffer];
  _sqlcatCopyName(acCreator, giNameBuffer, ptable->pcharCREATOR);
  _sqlcatCopyName(acName, giNameBuffer, ptable->pcharNAME);
  SQLHSTMT hstmt = 0;
  int rc = _sqlcatPrepare(hdbc, gpcSelectColumns, &hstmt);
  if (rc == 0) {
    SQLRETURN sqlrc = _sqlcatBindChar(hstmt, 1, acCreator, giNameBuffer);
    if (sqlrc != SQL_SUCCESS) rc = _sqlcatBindFailed(hstmt, sqlrc);
  }
  if (rc == 0) {
    _sqlcatBindChar(hstmt, 2, acName, giNameBuffer);
    rc = _sqlcatExecute(hdbc, hstmt, nullptr);
  }
  if (rc == 0) {
    osysibmCreateDictType();
    rc = _sqlcatFetchAll(hdbc, hstmt, gaColsColumns, std::size(gaColsColumns), ptable->apchaine[0],
                         sizeof(osysibmSyscolumns), &ptable->hdr, _sqlcatPutColumnProc, nullptr);
    if (rc == SQLCAT_RC_NOROW) omsgsFMTEDO(ZORU353I, acCreator, acName);
  }
  omsgsTrace("sqlcatGetColumns %s.%s -> 0x%x\n", acCreator, acName, static_cast<unsigned>(rc));
  if (gboTorvelExist) omsgsTraceOutIntern("sqlcatGetColumns", rc);
  return rc;
}

int sqlcatGetTSFromTB(const char *pcCreator, const char *pcName, SQLHDBC hdbc, ochar **ppcharTablespace,
                      char *pcType)
{
  if (gboTorvelExist) omsgsTraceInIntern("sqlcatGetTSFromTB", 0);
  *ppcharTablespace = nullptr;
  *pcType = ' ';
  char acCreator[giNameBuffer] = {0}, acName[giNameBuffer] = {0};
  std::strncpy(acCreator, pcCreator != nullptr ? pcCreator : "", sizeof acCreator - 1);
  std::strncpy(acName, pcName != nullptr ? pcName : "", sizeof acName - 1);
  /* the steps before the execution are not checked: a failure among them
     shows when the statement is executed */
  SQLHSTMT hstmt = 0;
  SQLAllocHandle(SQL_HANDLE_STMT, hdbc, &hstmt);
  SQLPrepare(hstmt, reinterpret_cast<SQLCHAR *>(const_cast<char *>(gpcSelectTSFromTB)), SQL_NTS);
  _sqlcatBindChar(hstmt, 1, acCreator, giNameBuffer);
  _sqlcatBindChar(hstmt, 2, acName, giNameBuffer);
  int rc = _sqlcatExecute(hdbc, hstmt, nullptr);
  if (rc == 0) {
    _sqlcatRow row;
    _sqlcatRowInit(&row, gaColsTSFromTB, std::size(gaColsTSFromTB));
    _sqlcatRowBind(&row, hstmt);
    SQLRETURN sqlrc = SQL_SUCCESS;
    int iFetch = _sqlcatFetch(hstmt, &row, &sqlrc);
    if (iFetch == 1) {
      *pcType = _sqlcatRowChar(&row, TF_TYPE);
      if (_sqlcatRowIsNull(&row, TF_TBSPACE))
        rc = SQLCAT_RC_NULLTS;
      else
        *ppcharTablespace = _sqlcatRowString(&row, TF_TBSPACE);
      iFetch = _sqlcatFetch(hstmt, &row, &sqlrc);
      if (iFetch == 1) rc = SQLCAT_RC_TWOROWS;
    } else if (iFetch == 0) {
      rc = SQLCAT_RC_NOROW;
    }
    if (iFetch < 0) {
      ocharDestroy(*ppcharTablespace);
      *ppcharTablespace = nullptr;
      *pcType = ' ';
      rc = _sqlcatRetrieveFailed(hdbc, hstmt, sqlrc, nullptr);
    } else {
      SQLFreeHandle(SQL_HANDLE_STMT, hstmt);
    }
  }
  omsgsTrace("sqlcatGetTSFromTB %s.%s -> 0x%x type %c\n", acCreator, acName, static_cast<unsigned>(rc), *pcType);
  if (gboTorvelExist) omsgsTraceOutIntern("sqlcatGetTSFromTB", rc);
  return rc;
}

/* ------------------------------------------------------------ diagnostics */

void _sqlcatGetDb2ErrorInfo(SQLSMALLINT sHandleType, SQLHANDLE hHandle, SQLRETURN rc)
{
  if (rc != SQL_ERROR) return;
  for (SQLSMALLINT sRecord = 1;; sRecord++) {
    SQLCHAR acState[6] = {0};
    SQLINTEGER iNative = 0;
    SQLCHAR acText[1025] = {0};
    SQLSMALLINT sLength = 0;
    if (SQLGetDiagRec(sHandleType, hHandle, sRecord, acState, &iNative, acText, static_cast<SQLSMALLINT>(sizeof acText),
                      &sLength) != SQL_SUCCESS)
      break;
    /* the message text ends the line */
    size_t ulLength = std::strlen(reinterpret_cast<const char *>(acText));
    while (ulLength > 0 && acText[ulLength - 1] == '\n') acText[--ulLength] = 0;
    omsgsFMTEDO(ZORU306E, reinterpret_cast<const char *>(acText));
  }
}

/* ------------------------------------------------- SELECT through DB2 */

namespace {

/* The text of a DIM or OCHAR atom of the task (owners included), NULL for none. */
ochar *_sqlcatAtomString(zortask *ptask, int iSlot)
{
  if (gapnameTotalToken[iSlot] == nullptr) return nullptr;
  zoratom *patom = zortaskDetermineAtom(ptask, gapnameTotalToken[iSlot]);
  if (patom == nullptr || (patom->iKind != ZORATOM_DIM && patom->iKind != ZORATOM_OCHAR)) return nullptr;
  return patom->value.pchar;
}

/* The text of that atom as a string ("" for none). */
std::string _sqlcatAtomText(zortask *ptask, int iSlot)
{
  ochar *pchar = _sqlcatAtomString(ptask, iSlot);
  if (pchar == nullptr || _charText(pchar) == nullptr) return std::string();
  return std::string(_charText(pchar), static_cast<size_t>(pchar->ilBU));
}

/* A failed CLI call on a statement or connection: trace naming the call, diagnostics. */
int _sqlcatDb2Failed(const char *pcCall, SQLRETURN sqlrc, SQLHDBC hdbc, SQLSMALLINT sHandleType, SQLHANDLE h)
{
  omsgsTrace("%s failed sqlrc %i, hdbc(%i)\n", pcCall, sqlrc, hdbc);
  _sqlcatGetDb2ErrorInfo(sHandleType, h, sqlrc);
  return SQLCAT_RC_DB2;
}

bool _sqlcatOk(SQLRETURN sqlrc) { return sqlrc == SQL_SUCCESS || sqlrc == SQL_SUCCESS_WITH_INFO; }

/* Indicators of a fetched row sit where the row layout puts them, not
** necessarily on a 4-byte boundary. */
SQLINTEGER _sqlcatGetIndicator(const SQLINTEGER *piIndicator)
{
  SQLINTEGER i = 0;
  std::memcpy(&i, piIndicator, sizeof i);
  return i;
}

void _sqlcatSetIndicator(SQLINTEGER *piIndicator, SQLINTEGER i) { std::memcpy(piIndicator, &i, sizeof i); }

} /* namespace */

int sqlcatGetColDescription(zortask *ptaskSelect, ochar *pcharSelect, uint16_t usCCSID, SQLHDBC hdbc,
                            ochaine *pchaineColumns, ochaine *pchaineCopy)
{
  if (ptaskSelect == nullptr || pcharSelect == nullptr || pchaineColumns == nullptr || pchaineCopy == nullptr)
    return ORC_INVALID;
  SQLHSTMT hstmt = 0;
  SQLRETURN sqlrc = SQLAllocHandle(SQL_HANDLE_STMT, hdbc, &hstmt);
  if (!_sqlcatOk(sqlrc)) return _sqlcatDb2Failed("SQLAllocHandle", sqlrc, hdbc, SQL_HANDLE_DBC, hdbc);
  int iRc = 0;
  int iLobCount = 0;
  SQLSMALLINT sCount = 0;
  sqlrc = SQLPrepare(hstmt, reinterpret_cast<SQLCHAR *>(_charText(pcharSelect)), pcharSelect->ilBU);
  if (!_sqlcatOk(sqlrc)) iRc = _sqlcatDb2Failed("SQLPrepare", sqlrc, hdbc, SQL_HANDLE_STMT, hstmt);
  if (iRc == 0) {
    sqlrc = SQLNumResultCols(hstmt, &sCount);
    if (!_sqlcatOk(sqlrc)) iRc = _sqlcatDb2Failed("SQLNumResultCols", sqlrc, hdbc, SQL_HANDLE_STMT, hstmt);
  }
  for (SQLSMALLINT i = 1; iRc == 0 && i <= sCount; i++) {
    SQLCHAR acName[SQLCAT_NAME_MAX + 1] = {0};
    SQLSMALLINT sNameLength = 0, sSqlType = 0, sDigits = 0, sNullable = 0;
    SQLUINTEGER ulSize = 0;
    sqlrc = SQLDescribeCol(hstmt, static_cast<SQLUSMALLINT>(i), acName, SQLCAT_NAME_MAX, &sNameLength, &sSqlType,
                           &ulSize, &sDigits, &sNullable);
    if (!_sqlcatOk(sqlrc)) {
      iRc = _sqlcatDb2Failed("SQLDescribeCol", sqlrc, hdbc, SQL_HANDLE_STMT, hstmt);
      break;
    }
    acName[std::min<int>(std::max<int>(sNameLength, 0), SQLCAT_NAME_MAX - 1)] = 0;
    SQLINTEGER iOctet = 0, iNullable = 0, iUnnamed = 0;
    const struct {
      SQLUSMALLINT usField;
      SQLINTEGER *piValue;
    } aAttr[] = {{SQL_DESC_OCTET_LENGTH, &iOctet}, {SQL_DESC_NULLABLE, &iNullable}, {SQL_DESC_UNNAMED, &iUnnamed}};
    for (const auto &attr : aAttr) {
      sqlrc = SQLColAttribute(hstmt, static_cast<SQLUSMALLINT>(i), attr.usField, nullptr, 0, nullptr, attr.piValue);
      if (!_sqlcatOk(sqlrc)) {
        iRc = _sqlcatDb2Failed("SQLColAttribute", sqlrc, hdbc, SQL_HANDLE_STMT, hstmt);
        break;
      }
    }
    if (iRc != 0) break;
    zorcol *pcol = zorcolCreateFromColDescription(i - 1, reinterpret_cast<const char *>(acName), sSqlType,
                                                  static_cast<int32_t>(ulSize), sDigits, iOctet, iNullable, usCCSID,
                                                  iUnnamed, &iLobCount);
    /* a LOB is fetched into ZORCOL_CLI_LOB_LENGTH bytes of the row (its storage length), but its
       subtype keeps the length DB2 declares, which an IXF header gives */
    int iLobType = pcol != nullptr ? pcol->iType & 0xFF : 0;
    if ((iLobType == ZORCOL_T_BLOB || iLobType == ZORCOL_T_CLOB || iLobType == ZORCOL_T_DBCLOB) && ulSize > 0 &&
        ulSize <= 0x7FFFFFFF)
      pcol->iSubType = static_cast<int32_t>(ulSize);
    zorcol *pcopy = pcol != nullptr ? zorcolClone(pcol) : nullptr;
    if (pcopy == nullptr) {
      if (pcol != nullptr) zorcolDestroy(pcol);
      iRc = ORC_NOMEM;
      break;
    }
    ochaineAppend(pchaineColumns, pcol);
    ochaineAppend(pchaineCopy, pcopy);
  }
  if (iRc == 0) {
    omsgsTrace("Nombre LOBS dans la requete : %d\n", iLobCount);
    zoratom *patom = zoratomCreate(gapnameTotalToken[TOKEN_NO], ZORATOM_INTEGER, 0,
                                   static_cast<uintptr_t>(static_cast<uint32_t>(iLobCount)), nullptr, nullptr);
    if (patom == nullptr) {
      iRc = ORC_NOMEM;
    } else {
      zoratomDestroy(zortaskRemoveAtom(ptaskSelect, gapnameTotalToken[TOKEN_NO]));
      iRc = zortaskAddAtom(ptaskSelect, patom);
      if (iRc != 0) zoratomDestroy(patom);
    }
  }
  SQLFreeHandle(SQL_HANDLE_STMT, hstmt);
  return iRc;
}

int32_t sqlcatCalcOffsetSelectDB2(const zorcol *pcol, int32_t *piEntrySize, int32_t *piOffset, int32_t *piVariable)
{
  *piOffset += *piEntrySize;
  switch (pcol->iType & 0xFF) {
  case ZORCOL_T_SMALLINT:
  case ZORCOL_T_INTEGER:
  case ZORCOL_T_DOUBLE:
  case ZORCOL_T_REAL:
  case ZORCOL_T_BIGINT:
  case ZORCOL_T_CHAR:
    *piEntrySize = pcol->iLength + 4;
    break;
  case ZORCOL_T_DECIMAL:
    *piEntrySize = (pcol->iSubType >> 8) / 2 + 5;
    break;
  case ZORCOL_T_DATE:
  case ZORCOL_T_TIME:
  case ZORCOL_T_TIMESTAMP:
    *piEntrySize = pcol->iSubType + 4;
    break;
  case ZORCOL_T_VARCHAR:
  case ZORCOL_T_LONGVAR:
  case ZORCOL_T_BLOB:
  case ZORCOL_T_CLOB:
  case ZORCOL_T_DBCLOB:
    *piEntrySize = 12;
    *piVariable += pcol->iLength;
    break;
  case ZORCOL_T_GRAPHIC:
  case ZORCOL_T_VARGRAPHIC:
    break;
  default:
    omsgsTrace("Inconnu !!\n");
    break;
  }
  return *piOffset;
}

int sqlcatInitExportSelectDB2(zortask *ptaskSelect, int32_t ilFixed, void *pUnused1, sqlcatLob *palob,
                              void *pUnused2, SQLUINTEGER *pulRowsFetched, SQLHENV *phenv, SQLHDBC *phdbc,
                              SQLHSTMT *phstmt, char *pcRowData)
{
  (void)pUnused1;
  (void)pUnused2;
  *phenv = 0;
  *phdbc = 0;
  *phstmt = 0;
  if (ptaskSelect == nullptr || pcRowData == nullptr) return ORC_INVALID;
  SQLRETURN sqlrc = SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, phenv);
  if (!_sqlcatOk(sqlrc)) {
    omsgsTrace("SQLAllocHandle failed sqlrc %i, hdbc(%i)\n", sqlrc, 0);
    *phenv = 0;
    return SQLCAT_RC_DB2;
  }
  sqlrc = SQLSetEnvAttr(*phenv, SQL_ATTR_OUTPUT_NTS, nullptr, 0);
  if (!_sqlcatOk(sqlrc)) return _sqlcatDb2Failed("SQLSetEnvAttr", sqlrc, 0, SQL_HANDLE_ENV, *phenv);
  sqlrc = SQLAllocHandle(SQL_HANDLE_DBC, *phenv, phdbc);
  if (!_sqlcatOk(sqlrc)) {
    *phdbc = 0;
    return _sqlcatDb2Failed("SQLAllocHandle", sqlrc, 0, SQL_HANDLE_ENV, *phenv);
  }
  std::string strDb = _sqlcatAtomText(ptaskSelect, TOKEN_DBNAME);
  ochar *pcharUser = _sqlcatAtomString(ptaskSelect, TOKEN_USERNAME);
  ochar *pcharPass = _sqlcatAtomString(ptaskSelect, TOKEN_PASS);
  std::string strUser = _sqlcatAtomText(ptaskSelect, TOKEN_USERNAME);
  std::string strPass = _sqlcatAtomText(ptaskSelect, TOKEN_PASS);
  sqlrc = SQLConnect(*phdbc, reinterpret_cast<SQLCHAR *>(strDb.data()), static_cast<SQLSMALLINT>(strDb.size()),
                     pcharUser != nullptr ? reinterpret_cast<SQLCHAR *>(strUser.data()) : nullptr,
                     static_cast<SQLSMALLINT>(strUser.size()),
                     pcharPass != nullptr ? reinterpret_cast<SQLCHAR *>(strPass.data()) : nullptr,
                     static_cast<SQLSMALLINT>(strPass.size()));
  if (!_sqlcatOk(sqlrc)) return _sqlcatDb2Failed("SQLConnect", sqlrc, *phdbc, SQL_HANDLE_DBC, *phdbc);
  sqlrc = SQLAllocHandle(SQL_HANDLE_STMT, *phdbc, phstmt);
  if (!_sqlcatOk(sqlrc)) {
    *phstmt = 0;
    return _sqlcatDb2Failed("SQLAllocHandle", sqlrc, *phdbc, SQL_HANDLE_DBC, *phdbc);
  }
  SQLHSTMT hstmt = *phstmt;
  sqlrc = SQLSetStmtAttr(hstmt, SQL_ATTR_ROWS_FETCHED_PTR, pulRowsFetched, 0);
  if (!_sqlcatOk(sqlrc)) return _sqlcatDb2Failed("SQLSetStmtAttr", sqlrc, *phdbc, SQL_HANDLE_STMT, hstmt);
  ochar *pcharSql = _sqlcatAtomString(ptaskSelect, TOKEN_SELECTSQL);
  if (pcharSql == nullptr) return ORC_INVALID;
  sqlrc = SQLPrepare(hstmt, reinterpret_cast<SQLCHAR *>(_charText(pcharSql)), pcharSql->ilBU);
  if (!_sqlcatOk(sqlrc)) return _sqlcatDb2Failed("SQLPrepare", sqlrc, *phdbc, SQL_HANDLE_STMT, hstmt);
  SQLSMALLINT sCount = 0;
  sqlrc = SQLNumResultCols(hstmt, &sCount);
  if (!_sqlcatOk(sqlrc)) return _sqlcatDb2Failed("SQLNumResultCols", sqlrc, *phdbc, SQL_HANDLE_STMT, hstmt);
  omsgsTrace("Nombre de colonnes : %d\n", sCount);

  bool boLobFile = palob != nullptr && zortaskDetermineAtom(ptaskSelect, gapnameTotalToken[TOKEN_LOBFILE]) != nullptr;
  /* the caller made room for as many LOB records as the description counted */
  zoratom *patomLobs = zortaskDetermineAtom(ptaskSelect, gapnameTotalToken[TOKEN_NO]);
  int iLobRoom = (patomLobs != nullptr && patomLobs->iKind == ZORATOM_INTEGER) ? patomLobs->value.iValue : 0;
  zoratom *patomSelect = zortaskDetermineAtom(ptaskSelect, gapnameTotalToken[TOKEN_SELECT]);
  ochaine *pchaine = patomSelect != nullptr ? patomSelect->value.pchaine : nullptr;
  int32_t ilOffset = 0;
  int32_t ilVarOffset = ilFixed;
  int iLob = 0;
  SQLUSMALLINT usColumn = 0;
  for (auto *pcol = pchaine != nullptr ? static_cast<zorcol *>(pchaine->pitemTop) : nullptr; pcol != nullptr;
       pcol = pcol->pcolNext) {
    usColumn++;
    char *pcEntry = pcRowData + ilOffset;
    SQLSMALLINT sValueType = 0;
    SQLPOINTER pValue = pcEntry;
    SQLINTEGER ilBuffer = 0;
    SQLINTEGER *piIndicator = nullptr;
    int32_t ilEntry = 0;
    int32_t ilVar = 0;
    int iType = pcol->iType & 0xFF;
    switch (iType) {
    case ZORCOL_T_SMALLINT: sValueType = SQL_C_SHORT; break;
    case ZORCOL_T_INTEGER: sValueType = SQL_C_LONG; break;
    case ZORCOL_T_DOUBLE: sValueType = SQL_C_DOUBLE; break;
    case ZORCOL_T_REAL: sValueType = SQL_C_FLOAT; break;
    case ZORCOL_T_BIGINT: sValueType = SQL_C_SBIGINT; break;
    case ZORCOL_T_CHAR: sValueType = SQL_C_CHAR; ilBuffer = pcol->iLength + 4; break;
    case ZORCOL_T_DECIMAL: sValueType = SQL_C_BINARY; ilBuffer = (pcol->iSubType >> 8) / 2 + 5; break;
    case ZORCOL_T_DATE: sValueType = SQL_C_CHAR; ilBuffer = pcol->iSubType + 4; break;
    case ZORCOL_T_TIME:
    case ZORCOL_T_TIMESTAMP: sValueType = SQL_C_CHAR; ilBuffer = pcol->iSubType; break;
    case ZORCOL_T_VARCHAR:
    case ZORCOL_T_LONGVAR:
    case ZORCOL_T_CLOB: sValueType = SQL_C_CHAR; break;
    case ZORCOL_T_BLOB: sValueType = SQL_C_BINARY; break;
    default: continue; /* graphic columns are not fetched on this path */
    }
    if (iType == ZORCOL_T_VARCHAR || iType == ZORCOL_T_LONGVAR || iType == ZORCOL_T_BLOB || iType == ZORCOL_T_CLOB) {
      obytePutLE32(reinterpret_cast<unsigned char *>(pcEntry), static_cast<uint32_t>(ilVarOffset));
      if (iType == ZORCOL_T_VARCHAR) obytePutLE32(reinterpret_cast<unsigned char *>(pcEntry + 4), static_cast<uint32_t>(pcol->iLength));
      pValue = pcRowData + ilVarOffset;
      piIndicator = reinterpret_cast<SQLINTEGER *>(pcEntry + 8);
      ilBuffer = pcol->iLength;
      ilEntry = 12;
      ilVar = pcol->iLength;
      if (boLobFile && (iType == ZORCOL_T_BLOB || iType == ZORCOL_T_CLOB)) {
        if (iLob >= iLobRoom) {
          omsgsTrace("LOB column %d beyond the %d LOB records\n", usColumn, iLobRoom);
          return ORC_INVALID;
        }
        sqlcatLob *plob = &palob[iLob++];
        plob->iColumn = pcol->iNumber;
        plob->sDataType = iType == ZORCOL_T_BLOB ? SQL_C_BINARY : SQL_C_CHAR;
        plob->sLocatorType = iType == ZORCOL_T_BLOB ? SQL_C_BLOB_LOCATOR : SQL_C_CLOB_LOCATOR;
        plob->pcLocator = static_cast<char *>(pValue);
        plob->piIndicator = piIndicator;
        sValueType = plob->sLocatorType;
        ilBuffer = 4;
      }
    } else {
      int32_t ilValue = 0;
      if (iType == ZORCOL_T_DECIMAL) ilValue = (pcol->iSubType >> 8) / 2 + 1;
      else if (iType >= ZORCOL_T_DATE && iType <= ZORCOL_T_TIMESTAMP) ilValue = pcol->iSubType;
      else ilValue = pcol->iLength;
      piIndicator = reinterpret_cast<SQLINTEGER *>(pcEntry + ilValue);
      ilEntry = ilValue + 4;
    }
    sqlrc = SQLBindCol(hstmt, usColumn, sValueType, pValue, ilBuffer, piIndicator);
    if (!_sqlcatOk(sqlrc)) return _sqlcatDb2Failed("SQLBind", sqlrc, *phdbc, SQL_HANDLE_STMT, hstmt);
    ilOffset += ilEntry;
    ilVarOffset += ilVar;
  }
  sqlrc = SQLExecute(hstmt);
  if (!_sqlcatOk(sqlrc)) return _sqlcatDb2Failed("SQLExecute", sqlrc, *phdbc, SQL_HANDLE_STMT, hstmt);
  return 0;
}

int sqlcatExtractionFichierLOB(oconvert *pconvert, SQLHDBC hdbc, sqlcatLob *palob, int iLobCount,
                               zorwrite *pwriteLob, char *pcBuffer, int32_t ilPiece)
{
  (void)pconvert;
  omsgsTrace("Nombre de LOBs : %d\n", iLobCount);
  bool boLls = (pwriteLob->ulType & ZORWRITE_LLS) != 0;
  for (int i = 0; i < iLobCount; i++) {
    sqlcatLob *plob = &palob[i];
    if (plob->pcLocator == nullptr || plob->piIndicator == nullptr) continue; /* a column not bound as locator */
    if (_sqlcatGetIndicator(plob->piIndicator) == SQL_NULL_DATA) {
      /* a null LOB stays a null, with location specifiers too: it has no place in a LOB file */
      plob->pcLocator[0] = 0;
      continue;
    }
    SQLINTEGER iLocator = static_cast<SQLINTEGER>(obyteGetLE32(reinterpret_cast<const unsigned char *>(plob->pcLocator)));
    SQLHSTMT hstmt = 0;
    SQLRETURN sqlrc = SQLAllocHandle(SQL_HANDLE_STMT, hdbc, &hstmt);
    if (!_sqlcatOk(sqlrc)) return _sqlcatDb2Failed("SQLAllocHandle", sqlrc, hdbc, SQL_HANDLE_DBC, hdbc);
    SQLINTEGER iLength = 0, iInd = 0;
    sqlrc = SQLGetLength(hstmt, plob->sLocatorType, iLocator, &iLength, &iInd);
    if (!_sqlcatOk(sqlrc)) {
      int iRc = _sqlcatDb2Failed("SQLGetLength", sqlrc, hdbc, SQL_HANDLE_STMT, hstmt);
      SQLFreeHandle(SQL_HANDLE_STMT, hstmt);
      return iRc;
    }
    omsgsTrace("Locator %d : %ld   Numero colonne : %d    Longueur : %ld\n", i, static_cast<long>(iLocator),
               plob->iColumn, static_cast<long>(iLength));
    int iRc = writeDeclareWrite(pwriteLob, iLength);
    if (iRc != 0) {
      SQLFreeHandle(SQL_HANDLE_STMT, hstmt);
      return iRc;
    }
    const char *pcName = pwriteLob->pcharLobName != nullptr ? _charText(pwriteLob->pcharLobName) : "";
    if (pcName == nullptr) pcName = "";
    char acRef[ZORWRITE_LOBNAME_CAPACITY + 64];
    int iRefLength = boLls ? std::snprintf(acRef, sizeof acRef, "%s.%lld.%d/", pcName,
                                           static_cast<long long>(pwriteLob->llBytesInFile), static_cast<int>(iLength))
                           : std::snprintf(acRef, sizeof acRef, "%s", pcName);
    iRefLength = std::min<int>(std::max(iRefLength, 0), static_cast<int>(sizeof acRef) - 1);
    omsgsTrace("Nom de fichier LOB : '%.*s' \n", iRefLength, acRef);
    /* the reference replaces the locator; the LOB length follows it */
    std::memcpy(plob->pcLocator, acRef, static_cast<size_t>(iRefLength));
    obytePutLE32(reinterpret_cast<unsigned char *>(plob->pcLocator + iRefLength), static_cast<uint32_t>(iLength));
    _sqlcatSetIndicator(plob->piIndicator, iRefLength);
    SQLINTEGER ilRemaining = iLength;
    SQLUINTEGER ulPosition = 1;
    SQLINTEGER ilSize = std::min<SQLINTEGER>(ilRemaining, ilPiece);
    while (ilRemaining > 0) {
      SQLINTEGER ilRead = 0, iPieceInd = 0;
      sqlrc = SQLGetSubString(hstmt, plob->sLocatorType, iLocator, ulPosition, static_cast<SQLUINTEGER>(ilSize),
                              plob->sDataType, pcBuffer, ilPiece + 1, &ilRead, &iPieceInd);
      if (sqlrc == SQL_NO_DATA_FOUND) break;
      if (!_sqlcatOk(sqlrc)) {
        iRc = _sqlcatDb2Failed("SQLGetSubString", sqlrc, hdbc, SQL_HANDLE_STMT, hstmt);
        SQLFreeHandle(SQL_HANDLE_STMT, hstmt);
        return iRc;
      }
      /* never trust a read count beyond what was asked for */
      ilRead = std::min(std::max<SQLINTEGER>(ilRead, 0), ilSize);
      ilRemaining -= ilRead;
      ulPosition += static_cast<SQLUINTEGER>(ilSize);
      if (ilRead > 0) {
        iRc = pwriteLob->procWrite(pwriteLob, pcBuffer, ilRead);
        if (iRc != 0) {
          SQLFreeHandle(SQL_HANDLE_STMT, hstmt);
          return iRc;
        }
      } else {
        break;
      }
      ilSize = std::min<SQLINTEGER>(ilRemaining, ilPiece);
    }
    SQLFreeHandle(SQL_HANDLE_STMT, hstmt);
  }
  return 0;
}
