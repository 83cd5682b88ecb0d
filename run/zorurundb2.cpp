/*
** zorurundb2.cpp
**   SELECTs answered by DB2: preparation of the CLI row and converter in the
**   main process, the DB2 SELECT child (fetch through the Call Level
**   Interface, convert, write) and the export child (DB2 export API).  The
**   CLI calls themselves live in catalog/sqlcat; the file writers in
**   io/zor3write.  See run/zorurundb2.h for the processes.
*/
#include "run/zorurundb2.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <sys/types.h>
#include <unistd.h>

#include "catalog/sqlcat.h"
#include "common/obf.h"
#include "common/ochaine.h"
#include "common/odict.h"
#include "common/ochar.h"
#include "common/olist.h"
#include "common/omsgs.h"
#include "common/oreason.h"
#include "common/osignal.h"
#include "common/ovf.h"
#include "io/db2util.h"
#include "model/token.h"
#include "model/tools.h"
#include "model/udb.h"
#include "model/zoratom.h"
#include "model/zormsgs.h"
#include "model/zortask.h"
#include "expr/zorcol.h"
#include "model/oconvert.h"
#include "model/orow.h"
#include "io/zor3write.h"
#include "run/zorucore.h"
#include "run/zorucorechar.h"
#include "run/zorucorecli.h"
#include "storage/ficdata.h"

#define OMSGS_TRACE_KEYWORD "$URUN"
#define OMSGS_DEBUG_KEYWORD nullptr
#include "common/omsgsmod.h"

namespace {

zoratom *_db2Atom(zortask *ptask, int iToken)
{
  if (ptask == nullptr || gapnameTotalToken[iToken] == nullptr) return nullptr;
  return zortaskDetermineAtom(ptask, gapnameTotalToken[iToken]);
}

/* The task's own atom of that slot, NULL when none. */
zoratom *_db2OwnAtom(zortask *ptask, int iToken)
{
  if (ptask == nullptr || ptask->pdictAtoms == nullptr || gapnameTotalToken[iToken] == nullptr) return nullptr;
  return static_cast<zoratom *>(odictLoad(ptask->pdictAtoms, reinterpret_cast<uintptr_t>(gapnameTotalToken[iToken])));
}

int32_t _db2Integer(zortask *ptask, int iToken, int32_t iDefault)
{
  zoratom *patom = _db2Atom(ptask, iToken);
  if (patom == nullptr) return iDefault;
  if (patom->iKind == ZORATOM_INTEGER || patom->iKind == ZORATOM_TYPE) return patom->value.iValue;
  if (patom->iKind == ZORATOM_SHORT) return patom->value.usShort;
  if (patom->iKind == ZORATOM_BYTE) return patom->value.ucByte;
  return iDefault;
}

ochar *_db2String(zortask *ptask, int iToken)
{
  zoratom *patom = _db2Atom(ptask, iToken);
  if (patom == nullptr || (patom->iKind != ZORATOM_OCHAR && patom->iKind != ZORATOM_DIM)) return nullptr;
  return patom->value.pchar;
}

std::string _db2Text(const ochar *pchar)
{
  if (pchar == nullptr || pchar->pcData == nullptr) return std::string();
  return std::string(_charText(const_cast<ochar *>(pchar)), static_cast<size_t>(pchar->ilBU));
}

zorcol *_db2Column(zortask *ptask, int iToken)
{
  zoratom *patom = _db2OwnAtom(ptask, iToken);
  return (patom != nullptr && patom->iKind == ZORATOM_ZORCOL) ? patom->value.pcol : nullptr;
}

int _db2AddInteger(zortask *ptask, int iToken, int32_t iValue)
{
  zoratomDestroy(zortaskRemoveAtom(ptask, gapnameTotalToken[iToken]));
  zoratom *patom = zoratomCreate(gapnameTotalToken[iToken], ZORATOM_INTEGER, 0,
                                 static_cast<uintptr_t>(static_cast<uint32_t>(iValue)), nullptr, nullptr);
  if (patom == nullptr) return ORC_NOMEM;
  int iRc = zortaskAddAtom(ptask, patom);
  if (iRc != 0) zoratomDestroy(patom);
  return iRc;
}

oconvert *_db2Converter(zortask *ptask)
{
  zoratom *patom = _db2Atom(ptask, TOKEN_CONVERTER);
  return (patom != nullptr && patom->iKind == ZORATOM_CONVERTER) ? patom->value.pconvert : nullptr;
}

/* Output items of the SELECT, empty without OUTPUT. */
std::vector<udbOutFile *> _db2Outputs(zortask *ptask, bool *pboHasOutput)
{
  std::vector<udbOutFile *> vout;
  zoratom *patom = _db2Atom(ptask, TOKEN_OUTPUT);
  *pboHasOutput = patom != nullptr && patom->iKind == ZORATOM_OLIST && patom->value.plist != nullptr;
  if (*pboHasOutput)
    for (auto *pout = static_cast<udbOutFile *>(patom->value.plist->pitemTop); pout != nullptr; pout = pout->pitemNext)
      vout.push_back(pout);
  return vout;
}

/* Two host names equal up to trailing blanks. */
bool _db2SameHost(const char *pcA, const ochar *pcharB)
{
  std::string strA = pcA != nullptr ? pcA : "";
  std::string strB = _db2Text(pcharB);
  while (!strA.empty() && strA.back() == ' ') strA.pop_back();
  while (!strB.empty() && strB.back() == ' ') strB.pop_back();
  return strA == strB;
}

/*
** A character or binary value longer than its place in the fetched row
** arrives cut to that place, with its whole length in the indicator.  The
** indicator is set to what the row holds, and the cut is counted.
** pcData is the row data (after the 8-byte header).
*/
void _db2CutValues(const orow *prowSource, char *pcData, zorurunSelectCounts *pcounts)
{
  bool boCut = false;
  for (int32_t i = 0; prowSource != nullptr && i < prowSource->iCount; i++) {
    const rowColDef &def = prowSource->pcoldef[i];
    int iType = def.iType & 0xFF;
    if (iType != ZORCOL_T_VARCHAR && iType != ZORCOL_T_LONGVAR && iType != ZORCOL_T_BLOB && iType != ZORCOL_T_CLOB)
      continue;
    if (def.sOffset < 0 || def.iLength <= 0) continue;
    char *pcIndicator = pcData + def.sOffset + ZORUCORE_CLI_SLOT_VALUE;
    SQLINTEGER iIndicator = 0;
    std::memcpy(&iIndicator, pcIndicator, sizeof iIndicator);
    if (iIndicator <= def.iLength) continue;
    omsgsTrace("Column %d: %ld bytes cut to %d\n", static_cast<int>(i + 1), static_cast<long>(iIndicator),
               static_cast<int>(def.iLength));
    iIndicator = def.iLength;
    std::memcpy(pcIndicator, &iIndicator, sizeof iIndicator);
    pcounts->llValuesCut++;
    boCut = true;
  }
  if (boCut && pcounts->llFirstCut == 0) pcounts->llFirstCut = pcounts->llRowsSeen;
}

} /* namespace */

/* ------------------------------------------------------- preparation */

int _zorurunPrepareSelectDB2(zorcontrol *pcontrol, zortask *ptaskSelect)
{
  (void)pcontrol;
  if (ptaskSelect == nullptr) return ORC_INVALID;
  std::vector<zortask *> vtask;
  if (ptaskSelect->pchaineSubTasks != nullptr)
    for (auto *ptask = static_cast<zortask *>(ptaskSelect->pchaineSubTasks->pitemTop); ptask != nullptr;
         ptask = ptask->ptaskNext)
      vtask.push_back(ptask);
  int32_t iCount = static_cast<int32_t>(vtask.size());
  orow *prowSource = orowCreate(iCount);
  orow *prowTarget = orowCreate(iCount);
  if (prowSource == nullptr || prowTarget == nullptr) {
    orowDestroy(prowSource);
    orowDestroy(prowTarget);
    return ORC_NOMEM;
  }
  int32_t ilEntry = 0, ilOffset = 0, ilVariable = 0;
  int32_t ilLastOffset = 0, ilLastEntry = 0;
  for (zortask *ptask : vtask) {
    zorcol *pcolSource = _db2Column(ptask, TOKEN_SOURCECOL);
    zorcol *pcolTarget = _db2Column(ptask, TOKEN_COL);
    zoratom *patomCore = _db2OwnAtom(ptask, TOKEN_COREDATA);
    zorucoreData *pcore = (patomCore != nullptr && patomCore->iKind == ZORATOM_COREDATA) ? patomCore->value.pcoreData
                                                                                        : nullptr;
    rowColDef defSource{};
    rowColDef defTarget{};
    if (pcolSource != nullptr) {
      defSource.iType = pcolSource->iType;
      /* a LOB's subtype is its declared length; the row holds its storage length of it */
      int iSourceType = pcolSource->iType & 0xFF;
      bool boLob = iSourceType == ZORCOL_T_BLOB || iSourceType == ZORCOL_T_CLOB || iSourceType == ZORCOL_T_DBCLOB;
      defSource.iLength = boLob ? pcolSource->iLength : pcolSource->iSubType;
      defSource.usCCSID = static_cast<uint16_t>(pcolSource->sCCSID);
      defSource.sOffset = -1;
      defSource.sNullOffset = -1;
      if ((pcolSource->usFlags & ZORCOL_VAR) != 0) {
        int32_t ilAt = sqlcatCalcOffsetSelectDB2(pcolSource, &ilEntry, &ilOffset, &ilVariable);
        defSource.sOffset = static_cast<int16_t>(ilAt);
        ilLastOffset = ilAt;
        ilLastEntry = ilEntry;
      }
    }
    if (pcolTarget != nullptr) {
      defTarget.iType = pcolTarget->iType;
      defTarget.iLength = pcolTarget->iSubType;
      defTarget.usCCSID = static_cast<uint16_t>(pcolTarget->sCCSID);
    }
    defTarget.sOffset = -1;
    defTarget.sNullOffset = -1;
    defTarget.pExtra = pcore;
    if (pcore != nullptr) {
      pcore->usTargetKey = static_cast<uint16_t>(defTarget.iType & 0xFFFF);
      pcore->usSourceKey = static_cast<uint16_t>(defSource.iType & 0xFFFF);
    }
    int iRc = orowAddColumn(prowSource, &defSource);
    if (iRc == 0) iRc = orowAddColumn(prowTarget, &defTarget);
    if (iRc != 0) {
      orowDestroy(prowSource);
      orowDestroy(prowTarget);
      return iRc;
    }
  }
  oconvertInitModule();
  zorucoreInitModule();
  int iRc = 0;
  oconvert *pconvert = oconvertCreate(prowSource, prowTarget, OCONVERT_OWN_SOURCE | OCONVERT_OWN_TARGET, &iRc);
  if (pconvert == nullptr) {
    omsgsTrace("ZORURUN_CREATE_CONVERT_ERROR\n");
    zortaskTraceMsgsService(ptaskSelect, "$URUN");
    if (iRc == OCONVERT_RC_COLUMNS || iRc == OCONVERT_RC_NOMEM) {
      orowDestroy(prowSource);
      orowDestroy(prowTarget);
    }
    return iRc != 0 ? iRc : ORC_NOMEM;
  }
  zoratomDestroy(zortaskRemoveAtom(ptaskSelect, gapnameTotalToken[TOKEN_CONVERTER]));
  zoratom *patom = zoratomCreate(gapnameTotalToken[TOKEN_CONVERTER], ZORATOM_CONVERTER, 0,
                                 reinterpret_cast<uintptr_t>(pconvert), nullptr, nullptr);
  if (patom == nullptr) {
    oconvertDestroy(pconvert);
    return ORC_NOMEM;
  }
  iRc = zortaskAddAtom(ptaskSelect, patom);
  if (iRc != 0) {
    zoratomDestroy(patom);
    return iRc;
  }
  iRc = _db2AddInteger(ptaskSelect, TOKEN_TAILLE_PARTIE_FIXE, ilLastOffset + ilLastEntry + 8);
  if (iRc == 0) iRc = _db2AddInteger(ptaskSelect, TOKEN_TAILLE_PARTIE_VARIABLE, ilVariable);
  omsgsTrace("DB2 SELECT row: fixed part %d, variable part %d\n", ilLastOffset + ilLastEntry + 8, ilVariable);
  return iRc;
}

/* ------------------------------------------------------------ writers */

zorwrite **_zorurunCreateDB2Writers(zorurun *prun, zortask *ptaskSelect, int *piWriterCount, int *piRemoteCount)
{
  *piWriterCount = 0;
  *piRemoteCount = 0;
  bool boHasOutput = false;
  std::vector<udbOutFile *> vout = _db2Outputs(ptaskSelect, &boHasOutput);
  size_t ulSlots = boHasOutput ? vout.size() : 1;
  auto **apwrite = static_cast<zorwrite **>(std::calloc(ulSlots + 1, sizeof(zorwrite *)));
  if (apwrite == nullptr) {
    omsgsTrace("_zorurunCreateDB2Writers: writer array of %zu not allocated\n", ulSlots);
    omsgsFMTEDO(ZORU430E);
    return nullptr;
  }
  ochar *pcharHost = prun != nullptr ? prun->pcharHost : nullptr;
  bool boLocalNo = prun == nullptr || prun->ulLocal != ZORURUN_LOCAL_YES;
  int iCount = 0;
  if (!boHasOutput) {
    apwrite[iCount++] = writeCreate(ZORWRITE_SYNC, -1, nullptr, 0, pcharHost, ptaskSelect);
  }
  for (udbOutFile *pout : vout) {
    switch (pout->ulMode & 0x1C) {
    case UDB_MODE_CURRENT:
      if (boLocalNo) apwrite[iCount++] = writeCreate(ZORWRITE_SYNC, -1, pout, 0, pcharHost, ptaskSelect);
      break;
    case UDB_MODE_REMOTE:
      if (boLocalNo) {
        omsgsFMTEDO(ZORU367W);
        apwrite[iCount++] = writeCreate(ZORWRITE_SYNC, -1, pout, 0, pcharHost, ptaskSelect);
      }
      break;
    case UDB_MODE_HOST:
      if (pcharHost != nullptr && ocharCompare(pcharHost, pout->pcharHost, ' ') == 0) {
        apwrite[iCount++] = writeCreate(ZORWRITE_SYNC, -1, pout, 0, pcharHost, ptaskSelect);
      } else if (boLocalNo && prun != nullptr && prun->ailRemoteState != nullptr) {
        for (int32_t i = 0; i < prun->iPartCount; i++)
          if (prun->ailRemoteState[i] == ZORURUN_REMOTE_NONE && _db2SameHost(prun->apcHost[i], pout->pcharHost))
            *piRemoteCount += _zorurunMarkRemote(prun, i);
      }
      break;
    default:
      break;
    }
  }
  *piWriterCount = iCount;
  return apwrite;
}

/* ----------------------------------------------------- DB2 SELECT child */

int _zorurunRunSelectDB2Child(zorurunSelectLaunch *plaunch)
{
  zortask *ptask = plaunch->ptaskSelect;
  zorurun *prun = plaunch->prun;
  int32_t ilFixed = _db2Integer(ptask, TOKEN_TAILLE_PARTIE_FIXE, 8);
  int32_t ilVariable = _db2Integer(ptask, TOKEN_TAILLE_PARTIE_VARIABLE, 0);
  int iWriters = 0, iRemote = 0;
  zorwrite **apwrite = _zorurunCreateDB2Writers(prun, ptask, &iWriters, &iRemote);
  if (plaunch->povfStatus != nullptr) (void)_zorurunWriteStatus(plaunch->povfStatus, 0, 0, iRemote, prun);
  if (apwrite == nullptr) return ZORURUN_RC_DB2WRITERS;
  if (iWriters == 0) {
    std::free(apwrite);
    return 0;
  }

  auto destroyWriters = [&]() {
    for (int i = 0; i < iWriters; i++) writeDestroy(apwrite[i]);
    std::free(apwrite);
  };
  int32_t iLobCount = std::max<int32_t>(_db2Integer(ptask, TOKEN_NO, 0), 0);
  char *pcLobBuffer = static_cast<char *>(std::malloc(ZORURUN_LOB_BUFFER));
  if (pcLobBuffer == nullptr) omsgsTrace("Probleme allocation memoire pcTamponLectureLOB (%ld) \n", 8192L);
  auto *palob = static_cast<sqlcatLob *>(std::calloc(static_cast<size_t>(iLobCount) + 1, sizeof(sqlcatLob)));
  if (pcLobBuffer == nullptr || palob == nullptr) {
    omsgsFMTEDO(ZORU430E);
    std::free(pcLobBuffer);
    std::free(palob);
    destroyWriters();
    return ZORURUN_RC_NOMEM;
  }
  zorwrite *pwriteLob = nullptr;
  if (_db2Atom(ptask, TOKEN_LOBFILE) != nullptr) {
    plaunch->ulFlags |= 1;
    uint32_t ulType = ZORWRITE_LOB | (_db2Integer(ptask, TOKEN_LLS, 0) == 1 ? ZORWRITE_LLS : 0);
    pwriteLob = writeCreate(ulType, -1, nullptr, 0, prun != nullptr ? prun->pcharHost : nullptr, ptask);
  }
  size_t ulRow = static_cast<size_t>(ilFixed) + static_cast<size_t>(ilVariable) + 8;
  char *pcBufferIn = static_cast<char *>(std::calloc(ulRow, 1));
  char *pcBufferOut = static_cast<char *>(std::calloc(ulRow * 6, 1));
  auto freeAll = [&]() {
    std::free(pcLobBuffer);
    std::free(palob);
    std::free(pcBufferIn);
    std::free(pcBufferOut);
    writeDestroy(pwriteLob);
    destroyWriters();
  };
  if (pcBufferIn == nullptr || pcBufferOut == nullptr) {
    omsgsTrace("Probleme allocation memoire pcBufferIn (%d)/pcBufferOut (%d)\n", static_cast<int>(ulRow),
               static_cast<int>(ulRow * 6));
    omsgsFMTEDO(ZORU430E);
    freeAll();
    return ZORURUN_RC_NOMEM;
  }
  /* the CLI row's header carries the fixed-part size like a record header */
  pcBufferIn[6] = static_cast<char>(ilFixed & 0xFF);
  pcBufferIn[7] = static_cast<char>((ilFixed >> 8) & 0xFF);

  SQLUINTEGER ulFetched = 0;
  SQLHENV henv = 0;
  SQLHDBC hdbc = 0;
  SQLHSTMT hstmt = 0;
  auto release = [&]() {
    if (hstmt != 0) SQLFreeHandle(SQL_HANDLE_STMT, hstmt);
    if (hdbc != 0) {
      SQLDisconnect(hdbc);
      SQLFreeHandle(SQL_HANDLE_DBC, hdbc);
    }
    if (henv != 0) SQLFreeHandle(SQL_HANDLE_ENV, henv);
    hstmt = hdbc = henv = 0;
  };
  int iRc = sqlcatInitExportSelectDB2(ptask, ilFixed, nullptr, palob, nullptr, &ulFetched, &henv, &hdbc, &hstmt,
                                      pcBufferIn + 8);
  if (iRc != 0) {
    release();
    freeAll();
    return iRc;
  }
  for (int i = 0; i < iWriters; i++) {
    iRc = writeOpen(apwrite[i]);
    if (iRc != 0) {
      release();
      freeAll();
      return iRc;
    }
  }
  /* The first failure of a writer, of DB2 or of the LOB extraction sticks: the
     fetching stops, every file is still flushed and closed, and the SELECT
     ends with that code. */
  int iRcFirst = 0;
  auto keep = [&](int iRcNew) {
    if (iRcFirst == 0 && iRcNew != 0) iRcFirst = iRcNew;
  };
  /* writers that reached MAXROWS or SIZELIMIT take no more rows */
  std::vector<bool> vboLimited(static_cast<size_t>(iWriters), false);
  int iWritersLimited = 0;
  auto writeAll = [&](const char *pcData, int32_t ilLength) {
    for (int i = 0; i < iWriters && iRcFirst == 0; i++) {
      if (vboLimited[static_cast<size_t>(i)]) continue;
      int iRcWrite = apwrite[i]->procWrite(apwrite[i], pcData, ilLength);
      /* a writer at MAXROWS takes no more: no row is fetched for nothing */
      bool boFull = iRcWrite == 0 && apwrite[i]->llMaxRows >= 0 && apwrite[i]->llRowsTotal >= apwrite[i]->llMaxRows;
      if (iRcWrite == ZORWRITE_RC_LIMIT || boFull) {
        vboLimited[static_cast<size_t>(i)] = true;
        iWritersLimited++;
      } else {
        keep(iRcWrite);
      }
    }
  };
  ochar *pcharHeader = _db2String(ptask, TOKEN_HEADER_IXF);
  if (pcharHeader != nullptr)
    for (int i = 0; i < iWriters; i++) keep(writeSetFileHeader(apwrite[i], _charText(pcharHeader), pcharHeader->ilBU));

  /* DBCLOB columns count as LOBs but are not fetched: only bound records are read */
  int iLobBound = 0;
  while (iLobBound < iLobCount && palob[iLobBound].pcLocator != nullptr) iLobBound++;
  oconvert *pconvert = _db2Converter(ptask);
  if (pconvert == nullptr) {
    omsgsTrace("DB2 SELECT child: no row converter\n");
    keep(ORC_INVALID);
  } else {
    orowSetBuffer(pconvert->prowTarget, pcBufferOut, static_cast<int32_t>(ulRow * 6), 0);
  }
  /* the direct path's sampling, over the rows DB2 returns */
  int32_t ilSkip = _db2Integer(ptask, TOKEN_SKIP, 0), ilInterval = _db2Integer(ptask, TOKEN_INTERVAL, 0);
  int32_t iSampling = ilSkip > 0 || ilInterval > 0, ilCounter = 0, ilLastKept = 0;
  zorurunSelectCounts counts{};
  int64_t llReplacedBefore = zorucoreReplacedCount();   /* the converters' replacements from here on */
  long lRows = 0;
  while (iRcFirst == 0 && iWritersLimited < iWriters) {
    SQLRETURN sqlrc = SQLFetch(hstmt);
    if (sqlrc == SQL_NO_DATA_FOUND) break;
    if (sqlrc != SQL_SUCCESS && sqlrc != SQL_SUCCESS_WITH_INFO) {
      /* a failed fetch is never the end of the data */
      omsgsTrace("SQLFetch ended sqlrc %i after %ld rows\n", sqlrc, lRows);
      _sqlcatGetDb2ErrorInfo(SQL_HANDLE_STMT, hstmt, sqlrc);
      keep(SQLCAT_RC_DB2);
      break;
    }
    lRows++;
    if (!ficdataSampleKeep(iSampling, ilSkip, ilInterval, &ilCounter, &ilLastKept)) continue;
    if (pwriteLob != nullptr) {
      keep(sqlcatExtractionFichierLOB(pconvert, hdbc, palob, iLobBound, pwriteLob, pcLobBuffer, SQLCAT_LOB_PIECE));
      if (iRcFirst != 0) break;
    }
    counts.llRowsSeen++;
    _db2CutValues(pconvert->prowSource, pcBufferIn + 8, &counts);
    orowSetBuffer(pconvert->prowSource, pcBufferIn, static_cast<int32_t>(ulRow), 2);
    orowResetBuffer(pconvert->prowSource, 0);
    orowResetBuffer(pconvert->prowTarget, 0);
    int iRcConvert = oconvertConvert(pconvert);
    if (counts.llFirstReplaced == 0 && zorucoreReplacedCount() != llReplacedBefore)
      counts.llFirstReplaced = counts.llRowsSeen;
    if (iRcConvert != 0) {
      omsgsTrace("DB2 SELECT child: row %lld not converted (0x%x)\n", static_cast<long long>(counts.llRowsSeen),
                 iRcConvert);
      if (counts.llRowsNotConverted++ == 0) counts.llFirstNotConverted = counts.llRowsSeen;
      continue;
    }
    char *pcStart = pconvert->prowTarget->pcStart;
    writeAll(pcStart, static_cast<int32_t>(pconvert->prowTarget->pcCursor - pcStart));
  }
  omsgsTrace("DB2 SELECT child: %ld rows fetched\n", lRows);
  if (pwriteLob != nullptr) {
    keep(writeFlush(pwriteLob));
    keep(writeClose(pwriteLob));
  }
  int iRcEnd = 0;
  counts.llReplaced = zorucoreReplacedCount() - llReplacedBefore;
  for (int i = 0; i < iWriters; i++) {
    int iRcFile = writeFlush(apwrite[i]);
    int iRcClose = writeClose(apwrite[i]);
    keep(iRcFile != 0 ? iRcFile : iRcClose);
    iRcEnd = oreasonWorse(iRcEnd, _zorurunReportSelectEnd(ptask, &counts, apwrite[i]->pcFileName));
  }
  if (pconvert != nullptr) orowSetBuffer(pconvert->prowTarget, nullptr, 0, 0);
  if (pconvert != nullptr) orowSetBuffer(pconvert->prowSource, nullptr, 0, 0);
  freeAll();
  release();
  return oreasonWorse(iRcFirst, iRcEnd);
}

/* -------------------------------------------------------- export child */

int _zorurunRunExportDB2Child(zorurunSelectLaunch *plaunch)
{
  zortask *ptask = plaunch->ptaskSelect;
  SQLHENV henv = 0;
  SQLHDBC hdbc = 0;
  std::string strDb = _db2Text(_db2String(ptask, TOKEN_DBNAME));
  ochar *pcharUser = _db2String(ptask, TOKEN_USERNAME);
  ochar *pcharPass = _db2String(ptask, TOKEN_PASS);
  std::string strUser = _db2Text(pcharUser), strPass = _db2Text(pcharPass);
  int iRc = db2utilReconnect(strDb.c_str(), pcharUser != nullptr ? strUser.c_str() : nullptr,
                             pcharPass != nullptr ? strPass.c_str() : nullptr, &henv, &hdbc);
  if (iRc != 0) {
    omsgsTrace("Connect failed.\n");
    return iRc;
  }
  std::string strSql = _db2Text(_db2String(ptask, TOKEN_SELECTSQL));
  std::vector<char> vSql(strSql.begin(), strSql.end());
  vSql.push_back('\0');
  const char *pcType = _db2Integer(ptask, TOKEN_FORMAT, 0) == 11 ? "IXF" : "DEL";

  std::vector<std::string> vPaths, vFiles;
  zoratom *patom = _db2Atom(ptask, TOKEN_LOB);
  if (patom != nullptr && patom->iKind == ZORATOM_OLIST && patom->value.plist != nullptr) {
    olistIterator iter;
    olistIteratorInit(&iter, patom->value.plist);
    while (olistIteratorNext(&iter)) {
      auto *ppath = static_cast<udbLobPath *>(olistIteratorGetRef(&iter));
      if (ppath != nullptr && ppath->pcharPath != nullptr) vPaths.push_back(_db2Text(ppath->pcharPath) + "/");
    }
    olistIteratorDestroy(&iter);
  }
  patom = _db2Atom(ptask, TOKEN_LOBFILE);
  if (patom != nullptr && patom->iKind == ZORATOM_OLIST && patom->value.plist != nullptr) {
    olistIterator iter;
    olistIteratorInit(&iter, patom->value.plist);
    while (olistIteratorNext(&iter)) {
      auto *pchar = static_cast<ochar *>(olistIteratorGetRef(&iter));
      if (pchar != nullptr) vFiles.push_back(_db2Text(pchar));
    }
    olistIteratorDestroy(&iter);
  }
  std::vector<char *> vpcPaths, vpcFiles;
  for (auto &str : vPaths) vpcPaths.push_back(str.data());
  for (auto &str : vFiles) vpcFiles.push_back(str.data());

  bool boHasOutput = false;
  std::vector<udbOutFile *> vout = _db2Outputs(ptask, &boHasOutput);
  /* the first failed export is the child's code */
  int iRcExport = 0;
  auto exportTo = [&](const char *pcFile) {
    /* the file is the writers' while DB2 writes it: another run's writer
       neither cuts nor mixes into it, and standard output is taken in turn */
    int iRcFile = 0;
    int iFdLock = pcFile != nullptr ? writeLockPath(pcFile, &iRcFile) : writeLockStdout();
    if (iRcFile == 0)
      iRcFile = db2utilExport(vSql.data(), pcFile, nullptr, pcType, static_cast<int>(vpcPaths.size()),
                              vpcPaths.empty() ? nullptr : vpcPaths.data(), static_cast<int>(vpcFiles.size()),
                              vpcFiles.empty() ? nullptr : vpcFiles.data());
    if (iFdLock >= 0) close(iFdLock);
    if (iRcExport == 0) iRcExport = iRcFile;
  };
  if (!boHasOutput) {
    exportTo(nullptr);
  } else {
    for (udbOutFile *pout : vout) {
      std::string strFile = _db2Text(pout->pcharFileName);
      exportTo(strFile.c_str());
    }
  }
  db2utilDisconnect(&henv, &hdbc);
  return iRcExport;
}

/* -------------------------------------------------------------- launches */

namespace {

/* Forks a child running procMain on a launch block; the parent records it. */
int _db2Fork(zorurun *prun, zortask *ptaskSelect, ovf *povf, int (*procMain)(zorurunSelectLaunch *), pid_t *ppid)
{
  std::fflush(nullptr);
  pid_t pidMain = getpid();
  pid_t pid = osignalFork();
  if (pid < 0) {
    int iErrno = errno;
    omsgsFMTEDO(ZORU359E, ZORURUN_RC_FORK, std::strerror(iErrno));
    return ZORURUN_RC_FORK;
  }
  if (pid == 0) {
    toolsDieWithParent(pidMain);
    zorurunSelectLaunch launch{};
    launch.prun = prun;
    launch.pcontrol = prun != nullptr ? prun->pcontrol : nullptr;
    launch.ptaskSelect = ptaskSelect;
    launch.povfStatus = povf;
    _zorurunExitChild(prun, procMain(&launch));
  }
  *ppid = pid;
  if (prun != nullptr) (void)_zorurunAddChild(prun, pid, 1);
  return 0;
}

} /* namespace */

int _zorurunRunSelectDB2(zorurun *prun, zortask *ptaskSelect, int *piRemote)
{
  *piRemote = 0;
  int iErrno = 0;
  ovf *povf = ovfCreate(ZORURUN_STATUS_LEN, 1, &iErrno);
  if (povf == nullptr) {
    omsgsFMTEDO(ZORU363E, std::strerror(iErrno));
    return ZORURUN_RC_STATUS;
  }
  pid_t pid = 0;
  int iRc = _db2Fork(prun, ptaskSelect, povf, _zorurunRunSelectDB2Child, &pid);
  if (iRc == 0) {
    int32_t ilTasks = 0;
    /* a child that ends before it reports is not waited for */
    ovfWatchProducer(povf, pid);
    (void)_zorurunReadStatus(prun, povf, 0, &ilTasks, piRemote);
  }
  (void)ovfDestroy(povf);
  return iRc;
}

int _zorurunRunExportDB2(zorurun *prun, zortask *ptaskSelect)
{
  pid_t pid = 0;
  return _db2Fork(prun, ptaskSelect, nullptr, _zorurunRunExportDB2Child, &pid);
}
