/*
** sysibm.cpp
**   Control-step entry points into the catalogue read through CLI (see
**   sysibm.h): the chains of table spaces, tables and columns, and the
**   table space of one table.  The queries themselves are in sqlcat.cpp.
*/
#include "catalog/sysibm.h"

#include "catalog/sqlcat.h"
#include "common/omsgs.h"
#include "io/db2util.h"
#include "model/stats.h"

#include <cstdlib>
#include <cstring>

#define OMSGS_TRACE_KEYWORD "$SYSIBM"
#define OMSGS_DEBUG_KEYWORD "$SYSIBMD"
#include "common/omsgsmod.h"

/* A new empty record chain of a catalogue table, with its print callback; NULL when memory runs out. */
static ochaine *_sysibmCreateChaine(int iItemSize, int16_t sTableId, ochainePrintProc procPrint)
{
  ochaine *pchaine = ochaineCreate(iItemSize, nullptr, osysibmChaineDestroyProc);
  if (pchaine == nullptr) return nullptr;
  pchaine->pData = static_cast<uintptr_t>(sTableId);
  pchaine->procPrintItem = procPrint;
  return pchaine;
}

/* The tables of a table space and the columns of each.  Returns the code of
   the last column query (a table without columns is reported and the next
   one read), 0 for a table space without tables, or the code of the first
   query that failed: the reading stops there, so that a table whose columns
   could not be read is never handed on as complete. */
static int _sysibmGetTables(osysibmSystablespace *ptablespace)
{
  ptablespace->apchaine[1] =
      _sysibmCreateChaine(sizeof(osysibmSystables), OSYSIBM_SYSTABLES, _sysibmTabOchainePrint);
  if (ptablespace->apchaine[1] == nullptr) return ORC_NOMEM;
  int rc = sqlcatGetTables(ptablespace, ghdbc);
  if (rc == SQLCAT_RC_NOROW) return 0;
  if (rc != 0) return rc;
  for (auto *ptable = static_cast<osysibmSystables *>(ptablespace->apchaine[1]->pitemTop); ptable != nullptr;
       ptable = reinterpret_cast<osysibmSystables *>(ptable->hdr.pnext)) {
    ptable->apchaine[0] =
        _sysibmCreateChaine(sizeof(osysibmSyscolumns), OSYSIBM_SYSCOLUMNS, _sysibmColOchainePrint);
    rc = ptable->apchaine[0] != nullptr ? sqlcatGetColumns(ptable, ghdbc) : ORC_NOMEM;
    if (rc != 0 && rc != SQLCAT_RC_NOROW) break;
  }
  return rc;
}

ochaine *sysibmGetTablespace(const char *pcDatabase, const char *pcTablespace, const char *pcUser,
                             const char *pcPassword, ochaine *pchaine, int *prc)
{
  if (gboTorvelExist) omsgsTraceInIntern("sysibmGetTablespace", 0);
  statsTimeTrace("Before get tablespace step");
  int rc = db2utilReconnect(pcDatabase, pcUser, pcPassword, &ghenv, &ghdbc);
  if (rc != 0) {
    statsTimeTrace("After get tablespace step 1");
    *prc = rc;
    if (gboTorvelExist) omsgsTraceOutIntern("sysibmGetTablespace", rc);
    return nullptr;
  }
  if (pchaine == nullptr) {
    pchaine = _sysibmCreateChaine(sizeof(osysibmSystablespace), OSYSIBM_SYSTABLESPACE, _sysibmTbsOchainePrint);
    if (pchaine == nullptr) {
      /* no chain to hand back: reported like a connection that failed */
      statsTimeTrace("After get tablespace step 1");
      *prc = ORC_NOMEM;
      if (gboTorvelExist) omsgsTraceOutIntern("sysibmGetTablespace", ORC_NOMEM);
      return nullptr;
    }
  }
  rc = pcTablespace == nullptr ? sqlcatGetTablespaces(pchaine, ghdbc) : sqlcatGetTablespace(pchaine, pcTablespace, ghdbc);
  osysibmCreateDictType();
  size_t ulDatabase = pcDatabase != nullptr ? std::strlen(pcDatabase) : 0;
  for (auto *ptablespace = static_cast<osysibmSystablespace *>(pchaine->pitemTop); ptablespace != nullptr;
       ptablespace = reinterpret_cast<osysibmSystablespace *>(ptablespace->hdr.pnext)) {
    ochar *pcharDatabase = static_cast<ochar *>(std::calloc(1, sizeof(ochar)));
    if (pcharDatabase != nullptr &&
        (ocharInitFromFixed(pcharDatabase, pcDatabase, static_cast<int32_t>(ulDatabase), OCHAR_CCSID_ASCII) != 0 ||
         ocharMakeC(pcharDatabase) != 0)) {
      ocharDestroy(pcharDatabase);
      pcharDatabase = nullptr;
    }
    ocharDestroy(ptablespace->pcharDBNAME);
    ptablespace->pcharDBNAME = pcharDatabase;
    if (rc == 0) rc = _sysibmGetTables(ptablespace);
  }
  statsTimeTrace("After get tablespace step 2");
  *prc = rc;
  omsgsTrace("sysibmGetTablespace %s.%s -> %d table spaces, 0x%x\n", pcDatabase != nullptr ? pcDatabase : "",
             pcTablespace != nullptr ? pcTablespace : "*", pchaine->iItemCount, static_cast<unsigned>(rc));
  if (gboTorvelExist) omsgsTraceOutIntern("sysibmGetTablespace", rc);
  return pchaine;
}

int sysibmGetTSFromTB(ochar *pcharCreator, ochar *pcharName, const char *pcUser, const char *pcPassword,
                      ochar *pcharDatabase, ochar **ppcharTablespace, char *pcType)
{
  *ppcharTablespace = nullptr;
  *pcType = ' ';
  if (pcharCreator == nullptr || pcharName == nullptr || pcharDatabase == nullptr) return ORC_INVALID;
  int rc = ocharMakeC(pcharCreator);
  if (rc == 0) rc = ocharMakeC(pcharName);
  if (rc == 0) rc = ocharMakeC(pcharDatabase);
  if (rc != 0) return rc;
  const char *pcDatabase = _charText(pcharDatabase);
  rc = db2utilReconnect(pcDatabase, pcUser, pcPassword, &ghenv, &ghdbc);
  if (rc == 0) rc = sqlcatGetTSFromTB(_charText(pcharCreator), _charText(pcharName), ghdbc, ppcharTablespace, pcType);
  omsgsTrace("sysibmGetTSFromTB %s.%s in %s -> 0x%x type %c\n", _charText(pcharCreator), _charText(pcharName),
             pcDatabase, static_cast<unsigned>(rc), *pcType);
  return rc;
}
