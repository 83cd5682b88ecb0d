/*
** db2stand.cpp
**   Instance, directory and store look-up, call log and failure injection of
**   the DB2 stand-in.
*/
#include "platform/db2stand.h"
#include "platform/db2standsql.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/time.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

std::string db2standUpper(std::string str)
{
  for (char &c : str) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return str;
}

std::string db2standInstance()
{
  const char *pc = std::getenv("DB2INSTANCE");
  return pc ? std::string(pc) : std::string();
}

std::string db2standInstanceHome()
{
  const char *pc = std::getenv("ZAVDB2_INSTHOME");
  if (pc && *pc) return pc;
  std::string strInst = db2standInstance();
  if (strInst.empty()) return {};
  struct passwd *ppw = getpwnam(strInst.c_str());
  if (ppw == nullptr || ppw->pw_dir == nullptr) return {};
  return ppw->pw_dir;
}

bool db2standReadDirectory(std::vector<db2standDbEntry> *pvEntries)
{
  pvEntries->clear();
  std::string strHome = db2standInstanceHome();
  if (strHome.empty()) return false;
  std::ifstream in(strHome + "/sqllib/zavdb2/dbdir");
  if (!in) return false;
  std::string strLine;
  while (std::getline(in, strLine)) {
    std::istringstream ls(strLine);
    db2standDbEntry e;
    if (!(ls >> e.strAlias >> e.strName >> e.strPath)) continue;
    if (e.strAlias[0] == '#') continue;
    if (!(ls >> e.strInternal)) e.strInternal = "SQL00001";
    pvEntries->push_back(e);
  }
  return true;
}

bool db2standFindDatabase(const std::string &strName, db2standDbEntry *pEntry)
{
  std::vector<db2standDbEntry> v;
  if (!db2standReadDirectory(&v)) return false;
  std::string strWanted = db2standUpper(strName);
  for (const auto &e : v)
    if (db2standUpper(e.strAlias) == strWanted) {
      *pEntry = e;
      return true;
    }
  for (const auto &e : v)
    if (db2standUpper(e.strName) == strWanted) {
      *pEntry = e;
      return true;
    }
  return false;
}

std::string db2standStorePath(const db2standDbEntry &entry)
{
  return entry.strPath + "/" + db2standInstance() + "/NODE0000/" + entry.strInternal;
}

bool db2standEngineFailure(int iCode, int *piSqlcode, std::string *pstrState, std::string *pstrText)
{
  switch (iCode & 0xFF) {
  case SQLITE_BUSY:
  case SQLITE_LOCKED:
    *piSqlcode = -911;
    *pstrState = "40001";
    *pstrText = "SQL0911N  The current transaction has been rolled back because of a deadlock or timeout.  "
                "Reason code \"68\".  SQLSTATE=40001";
    return true;
  case SQLITE_CORRUPT:
  case SQLITE_NOTADB:
    *piSqlcode = -1034;
    *pstrState = "58031";
    *pstrText = "SQL1034C  The database is damaged.  SQLSTATE=58031";
    return true;
  default:
    return false;
  }
}

/* Reads the schema of one file of the store (main or an attached one). */
static int _readSchema(sqlite3 *pdb, const std::string &strSchema)
{
  sqlite3_stmt *pst = nullptr;
  std::string strSql = "SELECT count(*) FROM \"" + strSchema + "\".sqlite_master";
  int iRc = sqlite3_prepare_v2(pdb, strSql.c_str(), -1, &pst, nullptr);
  if (iRc == SQLITE_OK) {
    iRc = sqlite3_step(pst);
    if (iRc == SQLITE_ROW) iRc = SQLITE_OK;
  }
  sqlite3_finalize(pst);
  return iRc;
}

sqlite3 *db2standOpenStore(const db2standDbEntry &entry, std::string *pstrError, int *piCode)
{
  std::string strDir = db2standStorePath(entry);
  std::string strMain = strDir + "/main.db";
  if (piCode != nullptr) *piCode = SQLITE_CANTOPEN;
  if (access(strMain.c_str(), R_OK) != 0) {
    *pstrError = "database store " + strMain + " not found";
    return nullptr;
  }
  sqlite3 *pdb = nullptr;
  if (sqlite3_open_v2(strMain.c_str(), &pdb, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    *pstrError = pdb ? sqlite3_errmsg(pdb) : "cannot open store";
    sqlite3_close(pdb);
    return nullptr;
  }
  int iTimeout = 60;
  const char *pcTimeout = std::getenv("ZAVDB2_LOCKTIMEOUT");
  if (pcTimeout != nullptr && *pcTimeout != 0) iTimeout = std::atoi(pcTimeout);
  sqlite3_busy_timeout(pdb, iTimeout > 0 ? iTimeout * 1000 : 0);
  /* a file whose schema cannot be read fails the open: its tables would
     otherwise look undefined */
  auto fail = [&](int iRc, const std::string &strFile) -> sqlite3 * {
    *pstrError = strFile + ": " + sqlite3_errmsg(pdb);
    if (piCode != nullptr) *piCode = iRc;
    sqlite3_close(pdb);
    return nullptr;
  };
  int iRc = _readSchema(pdb, "main");
  if (iRc != SQLITE_OK) return fail(iRc, strMain);
  DIR *pdir = opendir(strDir.c_str());
  if (pdir != nullptr) {
    while (struct dirent *pent = readdir(pdir)) {
      std::string strFile = pent->d_name;
      if (strFile.size() < 4 || strFile.compare(strFile.size() - 3, 3, ".db") != 0 || strFile == "main.db")
        continue;
      std::string strSchema = strFile.substr(0, strFile.size() - 3);
      std::string strPath = strDir + "/" + strFile;
      sqlite3_stmt *pst = nullptr;
      iRc = sqlite3_prepare_v2(pdb, "ATTACH DATABASE ?1 AS ?2", -1, &pst, nullptr);
      if (iRc == SQLITE_OK) {
        sqlite3_bind_text(pst, 1, strPath.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(pst, 2, strSchema.c_str(), -1, SQLITE_TRANSIENT);
        iRc = sqlite3_step(pst);
        if (iRc == SQLITE_DONE) iRc = SQLITE_OK;
      }
      sqlite3_finalize(pst);
      if (iRc == SQLITE_OK) iRc = _readSchema(pdb, strSchema);
      if (iRc != SQLITE_OK) {
        closedir(pdir);
        return fail(iRc, strPath);
      }
    }
    closedir(pdir);
  }
  iRc = db2standRegisterFunctions(pdb);
  if (iRc != SQLITE_OK) return fail(iRc, strMain);
  if (piCode != nullptr) *piCode = SQLITE_OK;
  return pdb;
}

void db2standLog(const char *pcCall, const std::string &strArgs, int iResult)
{
  const char *pcPath = std::getenv("ZAVDB2_CALLLOG");
  if (pcPath == nullptr || *pcPath == 0) return;
  FILE *pf = std::fopen(pcPath, "a");
  if (pf == nullptr) return;
  struct timeval tv;
  gettimeofday(&tv, nullptr);
  std::fprintf(pf, "%d %ld.%06ld %s %s -> %d\n", static_cast<int>(getpid()), static_cast<long>(tv.tv_sec),
               static_cast<long>(tv.tv_usec), pcCall, strArgs.c_str(), iResult);
  std::fclose(pf);
}

bool db2standInjected(const char *pcCall, db2standFailure *pFailure)
{
  static std::map<std::string, int> mapCounts;
  static pid_t pidCounted = 0;
  if (pidCounted != getpid()) {  /* counts are per process */
    mapCounts.clear();
    pidCounted = getpid();
  }
  int iNth = ++mapCounts[pcCall];
  const char *pcRules = std::getenv("ZAVDB2_FAIL");
  if (pcRules == nullptr || *pcRules == 0) return false;
  std::stringstream ss(pcRules);
  std::string strRule;
  while (std::getline(ss, strRule, ';')) {
    size_t ulEq = strRule.find('=');
    if (ulEq == std::string::npos) continue;
    std::string strName = strRule.substr(0, ulEq);
    int iWanted = 0;
    size_t ulHash = strName.find('#');
    if (ulHash != std::string::npos) {
      iWanted = std::atoi(strName.c_str() + ulHash + 1);
      strName.resize(ulHash);
    }
    if (strName != pcCall || (iWanted != 0 && iWanted != iNth)) continue;
    std::stringstream fs(strRule.substr(ulEq + 1));
    std::string strField;
    std::vector<std::string> vFields;
    while (std::getline(fs, strField, ',')) vFields.push_back(strField);
    db2standFailure f;
    f.iRc = vFields.size() > 0 ? std::atoi(vFields[0].c_str()) : -1;
    f.strState = vFields.size() > 1 && !vFields[1].empty() ? vFields[1] : "HY000";
    f.iNative = vFields.size() > 2 ? std::atoi(vFields[2].c_str()) : -99999;
    f.strText = vFields.size() > 3 ? vFields[3] : "injected failure";
    *pFailure = f;
    return true;
  }
  return false;
}
