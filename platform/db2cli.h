/*
** db2cli.h
**   The DB2 client library as this program calls it: the Call Level Interface
**   and the administrative API (instance attach, database configuration,
**   directory scans, unload registration and quiesce, authorities, export,
**   message texts).  The real client library is not available on this
**   machine; platform/ holds a stand-in that answers every call declared here
**   from an embedded SQLite engine, so that the calls, their arguments and
**   their results behave as the program relies on.
**
**   What it answers from:
**     - the instance home: $ZAVDB2_INSTHOME when set, else the home directory
**       of the user named by $DB2INSTANCE; under it sqllib/db2nodes.cfg and
**       the stand-in's system database directory sqllib/zavdb2/dbdir
**       (lines "alias dbname path");
**     - one store per database, the directory <path>/<INSTANCE>/NODE0000/
**       SQL00001: main.db (users, registrations, configuration), SYSIBM.db
**       (the catalogue tables, attached as schema SYSIBM) and one <SCHEMA>.db
**       per schema of user tables (attached under the schema's name), so the
**       DB2 statement texts the program sends run as written.
**
**   What tests may inject (environment variables read only by the stand-in):
**     ZAVDB2_CALLLOG  path of a file that receives one line per call:
**                     "<pid> <seconds.micros> <call> <arguments> -> <result>"
**     ZAVDB2_FAIL     ';'-separated rules "call[#n]=rc,sqlstate,native,text":
**                     the call (its n-th call in this process when #n is
**                     given) fails with that CLI return code and diagnostic
**                     record, or, for an administrative call, with rc as
**                     its SQLCODE and the text as its message.
**
**   Handles are 32-bit integers, as the program keeps them.  Indicators and
**   lengths are 32-bit.  Not for use by two threads of one process at once.
*/
#ifndef ZAV_PLATFORM_DB2CLI_H
#define ZAV_PLATFORM_DB2CLI_H

#include <cstdint>

typedef int16_t SQLSMALLINT;
typedef uint16_t SQLUSMALLINT;
typedef int32_t SQLINTEGER;
typedef uint32_t SQLUINTEGER;
typedef int32_t SQLHANDLE;
typedef SQLHANDLE SQLHENV;
typedef SQLHANDLE SQLHDBC;
typedef SQLHANDLE SQLHSTMT;
typedef int16_t SQLRETURN;
typedef unsigned char SQLCHAR;
typedef void *SQLPOINTER;
typedef double SQLDOUBLE;

/* Return codes */
#define SQL_SUCCESS 0
#define SQL_SUCCESS_WITH_INFO 1
#define SQL_NO_DATA_FOUND 100
#define SQL_ERROR (-1)
#define SQL_INVALID_HANDLE (-2)

#define SQL_NTS (-3)
#define SQL_NULL_DATA (-1)
#define SQL_NULL_HANDLE 0

/* Handle types */
#define SQL_HANDLE_ENV 1
#define SQL_HANDLE_DBC 2
#define SQL_HANDLE_STMT 3

#define SQL_PARAM_INPUT 1

/* Value types of bound buffers */
#define SQL_C_CHAR 1
#define SQL_C_LONG 4
#define SQL_C_SHORT 5
#define SQL_C_FLOAT 7
#define SQL_C_DOUBLE 8
#define SQL_C_BINARY (-2)
#define SQL_C_SBIGINT (-25)
#define SQL_C_BLOB_LOCATOR 31
#define SQL_C_CLOB_LOCATOR 41
#define SQL_C_DBCLOB_LOCATOR (-351)

/* SQL data types */
#define SQL_CHAR 1
#define SQL_NUMERIC 2
#define SQL_DECIMAL 3
#define SQL_INTEGER 4
#define SQL_SMALLINT 5
#define SQL_FLOAT 6
#define SQL_REAL 7
#define SQL_DOUBLE 8
#define SQL_VARCHAR 12
#define SQL_TYPE_DATE 91
#define SQL_TYPE_TIME 92
#define SQL_TYPE_TIMESTAMP 93
#define SQL_LONGVARCHAR (-1)
#define SQL_BINARY (-2)
#define SQL_BIGINT (-5)
#define SQL_GRAPHIC (-95)
#define SQL_VARGRAPHIC (-96)
#define SQL_LONGVARGRAPHIC (-97)
#define SQL_BLOB (-98)
#define SQL_CLOB (-99)
#define SQL_DBCLOB (-350)

/* Attributes and information types */
#define SQL_DATA_SOURCE_NAME 2
#define SQL_ATTR_ROWS_FETCHED_PTR 26
#define SQL_ATTR_CONNECT_NODE 1290
#define SQL_ATTR_OUTPUT_NTS 10001
#define SQL_DESC_NULLABLE 1008
#define SQL_DESC_UNNAMED 1012
#define SQL_DESC_OCTET_LENGTH 1013

#define SQL_NO_NULLS 0
#define SQL_NULLABLE 1
#define SQL_NAMED 0
#define SQL_UNNAMED 1

/* Call Level Interface */
SQLRETURN SQLAllocHandle(SQLSMALLINT sHandleType, SQLHANDLE hInput, SQLHANDLE *phOutput);
SQLRETURN SQLFreeHandle(SQLSMALLINT sHandleType, SQLHANDLE hHandle);
SQLRETURN SQLSetEnvAttr(SQLHENV hEnv, SQLINTEGER iAttribute, SQLPOINTER pValue, SQLINTEGER iLength);
SQLRETURN SQLConnect(SQLHDBC hDbc, SQLCHAR *pcDsn, SQLSMALLINT sDsnLength, SQLCHAR *pcUser,
                     SQLSMALLINT sUserLength, SQLCHAR *pcPassword, SQLSMALLINT sPasswordLength);
SQLRETURN SQLDisconnect(SQLHDBC hDbc);
SQLRETURN SQLSetConnectAttr(SQLHDBC hDbc, SQLINTEGER iAttribute, SQLPOINTER pValue, SQLINTEGER iLength);
SQLRETURN SQLGetConnectAttr(SQLHDBC hDbc, SQLINTEGER iAttribute, SQLPOINTER pValue, SQLINTEGER iBufferLength,
                            SQLINTEGER *piLength);
SQLRETURN SQLGetInfo(SQLHDBC hDbc, SQLUSMALLINT usInfoType, SQLPOINTER pValue, SQLSMALLINT sBufferLength,
                     SQLSMALLINT *psLength);
SQLRETURN SQLSetStmtAttr(SQLHSTMT hStmt, SQLINTEGER iAttribute, SQLPOINTER pValue, SQLINTEGER iLength);
SQLRETURN SQLPrepare(SQLHSTMT hStmt, SQLCHAR *pcText, SQLINTEGER iTextLength);
SQLRETURN SQLBindParameter(SQLHSTMT hStmt, SQLUSMALLINT usNumber, SQLSMALLINT sIoType, SQLSMALLINT sValueType,
                           SQLSMALLINT sSqlType, SQLUINTEGER uiColumnSize, SQLSMALLINT sDecimalDigits,
                           SQLPOINTER pValue, SQLINTEGER iBufferLength, SQLINTEGER *piIndicator);
SQLRETURN SQLExecute(SQLHSTMT hStmt);
SQLRETURN SQLNumResultCols(SQLHSTMT hStmt, SQLSMALLINT *psCount);
SQLRETURN SQLDescribeCol(SQLHSTMT hStmt, SQLUSMALLINT usColumn, SQLCHAR *pcName, SQLSMALLINT sNameMax,
                         SQLSMALLINT *psNameLength, SQLSMALLINT *psSqlType, SQLUINTEGER *puiColumnSize,
                         SQLSMALLINT *psDecimalDigits, SQLSMALLINT *psNullable);
SQLRETURN SQLColAttribute(SQLHSTMT hStmt, SQLUSMALLINT usColumn, SQLUSMALLINT usField, SQLPOINTER pCharAttr,
                          SQLSMALLINT sBufferLength, SQLSMALLINT *psStringLength, SQLPOINTER pNumericAttr);
SQLRETURN SQLBindCol(SQLHSTMT hStmt, SQLUSMALLINT usColumn, SQLSMALLINT sValueType, SQLPOINTER pValue,
                     SQLINTEGER iBufferLength, SQLINTEGER *piIndicator);
SQLRETURN SQLFetch(SQLHSTMT hStmt);
SQLRETURN SQLGetLength(SQLHSTMT hStmt, SQLSMALLINT sLocatorType, SQLINTEGER iLocator, SQLINTEGER *piLength,
                       SQLINTEGER *piIndicator);
SQLRETURN SQLGetSubString(SQLHSTMT hStmt, SQLSMALLINT sLocatorType, SQLINTEGER iLocator, SQLUINTEGER uiPosition,
                          SQLUINTEGER uiLength, SQLSMALLINT sTargetType, SQLPOINTER pValue,
                          SQLINTEGER iBufferLength, SQLINTEGER *piLength, SQLINTEGER *piIndicator);
SQLRETURN SQLGetDiagRec(SQLSMALLINT sHandleType, SQLHANDLE hHandle, SQLSMALLINT sRecord, SQLCHAR *pcState,
                        SQLINTEGER *piNative, SQLCHAR *pcText, SQLSMALLINT sBufferLength,
                        SQLSMALLINT *psTextLength);

/* Administrative API ---------------------------------------------------- */

/* Communication area filled by every administrative call. */
struct sqlca {
  char sqlcaid[8];
  int32_t sqlcabc;
  int32_t sqlcode;      /* 0 success, < 0 error, > 0 warning */
  int16_t sqlerrml;
  char sqlerrmc[70];    /* message tokens, or the stand-in's message text */
  char sqlerrp[8];
  int32_t sqlerrd[6];
  char sqlwarn[11];     /* sqlwarn[0] blank: no warning */
  char sqlstate[5];
};

/* One item of a database configuration query. */
struct sqlfupd {
  uint16_t token;
  char *ptrvalue;
};
#define SQLF_DBTN_CODEPAGE 101
#define SQLF_DBTN_TERRITORY_CODE 100

/* Authorities of the connected user: 21 16-bit words, the first the length
   (42); words 1 and 2 SYSADM and DBADM held directly, 6 and 7 through a
   group; the other words other authorities. */
struct sql_authorizations {
  int16_t sql_authorizations_len;
  int16_t asWords[20];
};

/* A directory entry as the scans return it: a byte image whose fields are
   read at fixed offsets by the caller. */
#define SQLED_ENTRY_SIZE 1600
#define SQLED_OFF_ALIAS 0          /* 8 bytes, blank-padded */
#define SQLED_OFF_DBNAME 8         /* 8 bytes, blank-padded */
#define SQLED_OFF_DRIVE 16         /* path text, blank-padded to 215 bytes */
#define SQLED_OFF_INTNAME 231      /* 8 bytes */
#define SQLED_OFF_TYPE 300         /* '0' indirect (system directory), '1' home */
#define SQLED_OFF_NODENUM 1584     /* 16 bits, host order */
struct sqledinfo {
  unsigned char aucBytes[SQLED_ENTRY_SIZE];
};

/* Media lists and descriptors of the export call. */
struct sqlu_media_entry {
  uint32_t reserve_len;
  char media_entry[216];
};
struct sqlu_location_entry {
  uint32_t reserve_len;
  char location_entry[256];
};
struct sqlu_media_list {
  char media_type;          /* 'L' local paths, 'C' file names */
  int32_t sessions;
  void *target;             /* sqlu_media_entry[] or sqlu_location_entry[] */
};
struct sqldcol {
  int16_t dcolmeth;         /* 'D' default */
  int16_t dcolnum;
};
struct sqlchar {
  int16_t length;
  char data[1];
};
struct sqluexpt_out {
  uint32_t sizeOfStruct;
  int64_t rowsExported;
};

void sqleatin_api(const char *pcInstance, const char *pcUser, const char *pcPassword, struct sqlca *pSqlca);
void sqlfxdb(const char *pcDatabase, uint16_t usCount, struct sqlfupd *pItems, struct sqlca *pSqlca);
void sqluvtun(const char *pcTable, int32_t iAction, void *pReserved1, void *pReserved2, void *pReserved3,
              struct sqlca *pSqlca);
void sqluvqdp(const char *pcTable, int32_t iMode, void *pReserved, struct sqlca *pSqlca);
void sqluadau(struct sql_authorizations *pAuth, struct sqlca *pSqlca);
void sqledosd_api(const char *pcPath, uint16_t *pusHandle, uint16_t *pusCount, struct sqlca *pSqlca);
void sqledgne_api(uint16_t usHandle, struct sqledinfo **ppEntry, struct sqlca *pSqlca);
void sqledcls_api(uint16_t usHandle, struct sqlca *pSqlca);
void sqluexpr_api(const char *pcDataFile, struct sqlu_media_list *pLobPaths, struct sqlu_media_list *pLobFiles,
                  struct sqldcol *pDataDescriptor, struct sqlchar *pAction, const char *pcFileType,
                  struct sqlchar *pFileTypeModifier, const char *pcMessageFile, int16_t sCallerAction,
                  struct sqluexpt_out *pOut, void *pReserved, struct sqlca *pSqlca);
int sqlaintp_api(char *pcBuffer, int16_t sBufferSize, int16_t sLineWidth, const char *pcMessageFile,
                 struct sqlca *pSqlca);

#endif
