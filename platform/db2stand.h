/*
** db2stand.h
**   Internal services of the DB2 stand-in (see db2cli.h for what it stands
**   in for): where the instance and its databases are, opening a database's
**   store, the call log and failure injection.  Used only by platform/.
*/
#ifndef ZAV_PLATFORM_DB2STAND_H
#define ZAV_PLATFORM_DB2STAND_H

#include <sqlite3.h>

#include <string>
#include <vector>

/* One line of the stand-in's system database directory. */
struct db2standDbEntry {
  std::string strAlias;
  std::string strName;
  std::string strPath;      /* the drive: where the instance's databases lie */
  std::string strInternal;  /* SQLnnnnn */
};

/* An injected failure. */
struct db2standFailure {
  int iRc = 0;
  std::string strState;
  int iNative = 0;
  std::string strText;
};

/* The instance name ($DB2INSTANCE), empty when unset. */
std::string db2standInstance();

/* The instance home, empty when it cannot be found. */
std::string db2standInstanceHome();

/* The system database directory; false when it cannot be read. */
bool db2standReadDirectory(std::vector<db2standDbEntry> *pvEntries);

/* Finds a database by alias or name (case-insensitive); false when absent. */
bool db2standFindDatabase(const std::string &strName, db2standDbEntry *pEntry);

/* The store directory of a database. */
std::string db2standStorePath(const db2standDbEntry &entry);

/* Opens a database's store with SYSIBM and every schema attached, each
   file's schema read once so that a locked or damaged file is found here.
   A lock held by another connection is waited for $ZAVDB2_LOCKTIMEOUT
   seconds (default 60: a busy host may hold a short lock long).  Returns nullptr, an error text and, when piCode is
   given, the SQLite result code of the failure (SQLITE_BUSY for a lock)
   when it cannot. */
sqlite3 *db2standOpenStore(const db2standDbEntry &entry, std::string *pstrError, int *piCode = nullptr);

/* How DB2 reports an engine failure of SQLite result code iCode: a lock
   held past the lock timeout is SQL0911N (reason 68, SQLSTATE 40001), a
   damaged file SQL1034C (SQLSTATE 58031).  Fills the SQLCODE, the SQLSTATE
   and DB2's text and returns true for those two; false for any other code. */
bool db2standEngineFailure(int iCode, int *piSqlcode, std::string *pstrState, std::string *pstrText);

/* Appends one line to the call log when $ZAVDB2_CALLLOG names a file. */
void db2standLog(const char *pcCall, const std::string &strArgs, int iResult);

/* Counts one more call of pcCall and tells whether a rule of $ZAVDB2_FAIL
   makes it fail, filling *pFailure. */
bool db2standInjected(const char *pcCall, db2standFailure *pFailure);

/* Upper-cases an ASCII string. */
std::string db2standUpper(std::string str);

#endif
