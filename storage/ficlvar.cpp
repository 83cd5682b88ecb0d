/*
** ficlvar.cpp
**   Long-field and LOB child processes: launch and stop over two pipes,
**   and the child mains that serve the record reader's requests from the
**   containers (SMS ".LF"/".LB" files, DMS long-field and LOB objects),
**   locally or through the daemon, or from a backup image.  See ficlvar.h
**   for the protocol and the process states.
*/
#include "storage/ficlvar.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "common/obyte.h"
#include "common/ochar.h"
#include "common/olist.h"
#include "io/socket.h"
#include "io/zor3write.h"
#include "model/token.h"
#include "model/tools.h"
#include "model/zoratom.h"
#include "model/zormsgs.h"
#include "model/zortask.h"
#include "storage/ficcont.h"
#include "storage/ficdata.h"
#include "storage/ficdms.h"
#include "storage/ficdmsemp.h"
#include "storage/ficsms.h"
#include "storage/zorbk.h"
#include "storage/zorts.h"

#define OMSGS_TRACE_KEYWORD "$LVAR"
#define OMSGS_DEBUG_KEYWORD nullptr
#include "common/omsgsmod.h"

namespace {

/* Largest LOB descriptor a request may carry; longer ones are read and dropped. */
const int32_t FICLVAR_MAX_DESC = 4096;

/*
** Writes all bytes to a pipe or a LOB file.  Returns 0, or the errno of the
** failed write (ENOSPC when nothing is taken without an error); the pipe
** protocol does not check it (the parent sees a short answer).
*/
int _ficlvarSend(int iFd, const void *pData, size_t ulLength)
{
  const char *pc = static_cast<const char *>(pData);
  while (ulLength > 0) {
    ssize_t n = write(iFd, pc, ulLength);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return ENOSPC;
    pc += n;
    ulLength -= static_cast<size_t>(n);
  }
  return 0;
}

/* Writes ilLength zero bytes to a pipe. */
void _ficlvarSendZeros(int iFd, int64_t llLength)
{
  static const unsigned char aucZero[4096] = {0};
  while (llLength > 0) {
    size_t n = llLength < static_cast<int64_t>(sizeof aucZero) ? static_cast<size_t>(llLength) : sizeof aucZero;
    _ficlvarSend(iFd, aucZero, n);
    llLength -= static_cast<int64_t>(n);
  }
}

/*
** Reads an n-byte LOB descriptor into v: at most FICLVAR_MAX_DESC bytes are
** kept, the rest is read and dropped.  Returns false when the pipe ends.
*/
bool _ficlvarReadDesc(int iFd, int32_t n, std::vector<unsigned char> &v)
{
  int32_t ilKeep = n < FICLVAR_MAX_DESC ? n : FICLVAR_MAX_DESC;
  v.assign(static_cast<size_t>(ilKeep), 0);
  if (ilKeep > 0 && toolsReadInPipe(iFd, v.data(), ilKeep) != ilKeep) return false;
  unsigned char auc[4096];
  for (int32_t ilLeft = n - ilKeep; ilLeft > 0;) {
    int32_t k = ilLeft < static_cast<int32_t>(sizeof auc) ? ilLeft : static_cast<int32_t>(sizeof auc);
    if (toolsReadInPipe(iFd, auc, k) != k) return false;
    ilLeft -= k;
  }
  return true;
}

bool _ficlvarReadInt(int iFd, int32_t *pil)
{
  unsigned char auc[4];
  if (toolsReadInPipe(iFd, auc, 4) != 4) return false;
  std::memcpy(pil, auc, 4);   /* native-endian pipe word */
  return true;
}

/* Where the pages of a long object are, for one child. */
struct Reader {
  ficlvar *pficlvar;
  ficsmsConf sms{};
  ficdmsConf dms{};
  bool boDMS = false;
  bool boOk = false;               /* false: every read fails (answers are zeros) */
  int32_t ilPageSize = 4096;       /* page size the requests are cut by */
  int32_t *pilExtents = nullptr;   /* DMS: first page of each extent of the object */
  int32_t ilExtents = 0;
  std::vector<unsigned char> vPage;
  int iFailure = 0;                /* first value not served whole (reason code), 0 none: sticks */
  int64_t llFailed = 0;            /* values not served whole */
};

/* Table name of the child's messages. */
const char *_ficlvarTable(const Reader &r)
{
  const ficdata *pfd = r.pficlvar->pficdata;
  return pfd != nullptr && pfd->acTable[0] != '\0' ? pfd->acTable : "?";
}

/*
** Counts a value the child could not serve whole: the first is reported
** (ZORU455E naming the LOB file when there is one, else ZORU456E) and its
** code kept for the child's end; later ones go to the trace.
*/
void _ficlvarFail(Reader &r, int iCode, const char *pcFile, const char *pcReason)
{
  r.llFailed++;
  if (r.iFailure != 0) {
    omsgsTrace("Long value %lld not served whole: %s (%s)", static_cast<long long>(r.llFailed), pcReason,
               pcFile != nullptr ? pcFile : "answer");
    return;
  }
  r.iFailure = iCode;
  if (pcFile != nullptr)
    omsgsFMTEDO(ZORU455E, pcFile, _ficlvarTable(r), pcReason);
  else
    omsgsFMTEDO(ZORU456E, _ficlvarTable(r), pcReason);
}

/* The reason of an unreadable object page, for _ficlvarFail. */
std::string _ficlvarPageReason(int32_t ilObjPage, bool boLOB)
{
  return "PAGE " + std::to_string(ilObjPage) + (boLOB ? " OF THE LOB OBJECT" : " OF THE LONG-FIELD OBJECT") +
         " CANNOT BE READ";
}

/* Reads n bytes at byte ilOffset of object page ilObjPage.  Returns true when they all came. */
bool _ficlvarReadPiece(Reader &r, int32_t ilObjPage, int32_t ilOffset, int32_t n, unsigned char *pc)
{
  ficlvar *p = r.pficlvar;
  if (!r.boOk) return false;
  const ficcont *pcont = p->pficcont;
  int32_t X = pcont->ilExtentSize;
  int32_t ilCont = -1, ilPage;
  if (r.boDMS) {
    int32_t k = ilObjPage / X;
    if (k >= r.ilExtents) return false;
    int32_t ilTbsPage = r.pilExtents[k] + ilObjPage % X;
    if (p->info.llOffset != 0) {   /* pages laid end to end in one file from the offset */
      ilPage = ilTbsPage;
      ilCont = 0;
    } else {
      ilPage = ficdmsIdentifyPage(&r.dms, p->info.ilTableId, ilTbsPage, &ilCont);
    }
  } else {
    ilPage = ficsmsIdentifyPage(&r.sms, p->info.ilTableId, ilObjPage, &ilCont);
  }
  if (ilPage < 0 || ilCont < 0 || (ilCont > 0 && ilCont >= pcont->ilContainers) || p->piFd == nullptr) return false;
  int iFd = p->piFd[ilCont];
  if (iFd < 0) return false;
  int64_t llPos = static_cast<int64_t>(ilPage) * p->info.ilPageSize + ilOffset + p->info.llOffset;
  if (pcont->ilRemote) {
    char *pcError = nullptr;
    int rc;
    if (llPos == 0) rc = iSOCKETreadFile(iFd, 0, n, pc, &pcError);
    else if (iSOCKETlseekFile(iFd, ilPage, p->info.ilPageSize, ilOffset, &pcError) != 0) rc = -1;
    else rc = iSOCKETreadFile(iFd, -1, n, pc, &pcError);
    return rc == n;
  }
  int32_t ilDone = 0;
  while (ilDone < n) {
    ssize_t k = pread(iFd, pc + ilDone, static_cast<size_t>(n - ilDone), llPos + ilDone);
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) return false;
    ilDone += static_cast<int32_t>(k);
  }
  return true;
}

/*
** Serves llLength bytes of the object from byte ilOffset of object page
** ilObjPage on, one page piece at a time; pfnSink takes each piece.  A
** piece that cannot be read is handed over as zero bytes, and so is every
** piece after it.  Returns -1, or the first object page that could not be
** read.
*/
template <typename Sink>
int32_t _ficlvarServeRun(Reader &r, int32_t ilObjPage, int32_t ilOffset, int64_t llLength, Sink pfnSink)
{
  const int32_t ilPageSize = r.ilPageSize;
  int32_t ilBadPage = -1;
  while (llLength > 0) {
    int32_t n = ilPageSize - ilOffset;
    if (n > llLength) n = static_cast<int32_t>(llLength);
    if (ilBadPage >= 0 || !_ficlvarReadPiece(r, ilObjPage, ilOffset, n, r.vPage.data())) {
      if (ilBadPage < 0) {
        omsgsTrace("Long data: object page %d cannot be read", ilObjPage);
        ilBadPage = ilObjPage;
      }
      std::memset(r.vPage.data(), 0, static_cast<size_t>(n));
    }
    pfnSink(r.vPage.data(), n);
    llLength -= n;
    ilOffset = 0;
    ilObjPage++;
  }
  return ilBadPage;
}

/* Sets up a reader; false when the page size or partition record cannot serve. */
bool _ficlvarReaderInit(Reader &r, ficlvar *p, bool boDMS)
{
  r.pficlvar = p;
  r.boDMS = boDMS;
  r.vPage.assign(static_cast<size_t>(r.ilPageSize), 0);
  if (p->pficcont == nullptr || !ficdataIsPageSize(p->info.ilPageSize) || p->pficcont->ilExtentSize < 1) {
    omsgsTrace("Long-data child: no usable partition record or page size %d", p->info.ilPageSize);
    return false;
  }
  r.ilPageSize = p->info.ilPageSize;
  r.vPage.assign(static_cast<size_t>(r.ilPageSize), 0);
  const ficcont *pc = p->pficcont;
  if (!boDMS) {
    r.sms.ilRemote = pc->ilRemote;
    r.sms.ilExtentSize = pc->ilExtentSize;
    r.sms.ilContainers = pc->ilContainers;
    return true;
  }
  r.dms.ilRemote = pc->ilRemote;
  r.dms.ilExtentSize = pc->ilExtentSize;
  r.dms.ilPageSize = p->info.ilPageSize;
  r.dms.ilMapCbEntries = pc->ilMapCbEntries;
  r.dms.ilContainers = pc->ilContainers;
  r.dms.plistMapCb = pc->plistMapCb;
  r.dms.plistCont = pc->plistCont;
  for (auto &pucPage : r.dms.apucPage) {
    pucPage = static_cast<unsigned char *>(std::malloc(static_cast<size_t>(p->info.ilPageSize)));
    if (pucPage == nullptr) return false;
  }
  return true;
}

/* DMS: reads the object table and the extent list of the long-field or LOB object. */
bool _ficlvarReaderExtents(Reader &r, bool boLOB)
{
  ficlvar *p = r.pficlvar;
  uint32_t ulLow = static_cast<uint32_t>(p->info.llOffset), ulHigh = static_cast<uint32_t>(p->info.llOffset >> 32);
  int32_t ilCount = 0;
  ficdmsTabObj *pentries = ficdmsInitTabObj(&r.dms, p->piFd, ulLow, ulHigh, &ilCount);
  if (pentries == nullptr) {
    omsgsTrace("Long-data child: object table not read (%d)", ilCount);
    return false;
  }
  r.pilExtents = boLOB ? ficdmsGetLOBPages(&r.dms, p->piFd, ulLow, ulHigh, pentries, ilCount, p->info.ilTableId,
                                           p->info.ilTbsId, &r.ilExtents)
                       : ficdmsGetLFPages(&r.dms, p->piFd, ulLow, ulHigh, pentries, ilCount, p->info.ilTableId,
                                          p->info.ilTbsId, &r.ilExtents);
  ficdmsFreeTabObj(pentries, ilCount);
  if (r.ilExtents < 0) r.ilExtents = 0;
  return true;
}

void _ficlvarReaderFree(Reader &r)
{
  std::free(r.pilExtents);
  for (auto &pucPage : r.dms.apucPage) std::free(pucPage);
}

/* Sends zero bytes as inline LOB chunks. */
void _ficlvarSendZeroChunks(Reader &r, int64_t llLength)
{
  std::vector<unsigned char> v(static_cast<size_t>(r.ilPageSize), 0);
  while (llLength > 0) {
    int32_t n = llLength < static_cast<int64_t>(v.size()) ? static_cast<int32_t>(llLength)
                                                           : static_cast<int32_t>(v.size());
    _ficlvarSend(r.pficlvar->piAnswer[1], &n, 4);
    _ficlvarSend(r.pficlvar->piAnswer[1], v.data(), static_cast<size_t>(n));
    llLength -= n;
  }
}

/* Long-field loop: one (L, P) request after another until a negative length. */
int _ficlvarLFLoop(Reader &r)
{
  ficlvar *p = r.pficlvar;
  const int32_t U = r.ilPageSize / FICDATA_SECTOR;
  for (;;) {
    int32_t L, P;
    if (!_ficlvarReadInt(p->piRequest[0], &L) || !_ficlvarReadInt(p->piRequest[0], &P) || L < 0) break;
    if (P < 0) {
      omsgsTrace("LF request at position %d: answered with zeros", P);
      _ficlvarSendZeros(p->piAnswer[1], L);
      _ficlvarFail(r, ZORTS_RC_BADDESC, nullptr, ("LONG-FIELD POSITION " + std::to_string(P) + " REFUSED").c_str());
      continue;
    }
    int32_t ilBadPage =
        _ficlvarServeRun(r, P / U, (P % U) * FICDATA_SECTOR, L, [&](const unsigned char *pc, int32_t n) {
          _ficlvarSend(p->piAnswer[1], pc, static_cast<size_t>(n));
        });
    if (ilBadPage >= 0) _ficlvarFail(r, FICDATA_RC_READ, nullptr, _ficlvarPageReason(ilBadPage, false).c_str());
  }
  return r.iFailure;
}

/* State of one LOB request while its segments are served. */
struct LobServe {
  Reader *pr;
  int iFile;            /* LOB file, or -1: answer inline (or into pwrite) */
  int64_t llSent;
  int32_t ilBadPage;    /* first object page that could not be read, -1 none */
  int iErrno;           /* first failed write of the LOB file, 0 none */
  zorwrite *pwrite = nullptr;   /* location specifiers: the LOB writer the bytes go to */
  int iRcWrite = 0;             /* its first failure, 0 none */
};

/*
** The LOB files of a child.  Without location specifiers each LOB gets a
** file of its own, numbered after its first slot; a LOB without one, an
** empty LOB (which may share its slot word with another), or a LOB whose
** number was taken already, gets a number counted down from INT32_MAX.
** With location specifiers (LLS 1) the LOBs follow each other in the files
** of one LOB writer.
*/
struct LobFiles {
  std::set<int32_t> setUsed;   /* numbers given so far */
  bool boLls = false;
  zorwrite *pwrite = nullptr;  /* location specifiers: made at the first LOB */
};

/* Fails the child for a LOB that could not be served whole: an unreadable page
   or a descriptor refused with iCode (pcFile: its LOB file, or NULL inline). */
void _ficlvarFailServe(Reader &r, const LobServe &serve, int iCode, const char *pcFile)
{
  if (serve.ilBadPage >= 0) {
    _ficlvarFail(r, FICDATA_RC_READ, pcFile, _ficlvarPageReason(serve.ilBadPage, true).c_str());
  } else if (iCode != 0) {
    char acReason[64];
    std::snprintf(acReason, sizeof acReason, "LOB DESCRIPTOR REFUSED (REASON CODE 0x%x)", iCode);
    omsgsTrace("LOB request: descriptor refused (0x%x) after %lld bytes", iCode, static_cast<long long>(serve.llSent));
    _ficlvarFail(r, iCode, pcFile, acReason);
  }
}

int _ficlvarLobSegment(void *pCtx, int32_t ilLength, int32_t ilStart, int64_t *pllWanted)
{
  LobServe *ps = static_cast<LobServe *>(pCtx);
  Reader &r = *ps->pr;
  if (ilStart < 0) return ZORTS_RC_BADDESC;
  int64_t llTake = ilLength < *pllWanted ? ilLength : *pllWanted;
  const int32_t K = r.ilPageSize / 1024;
  int32_t ilBadPage =
      _ficlvarServeRun(r, ilStart / K, (ilStart % K) * 1024, llTake, [&](const unsigned char *pc, int32_t n) {
        if (ps->pwrite != nullptr) {
          if (ps->iRcWrite == 0) ps->iRcWrite = ps->pwrite->procWrite(ps->pwrite, pc, n);
        } else if (ps->iFile >= 0) {
          if (ps->iErrno == 0) ps->iErrno = _ficlvarSend(ps->iFile, pc, static_cast<size_t>(n));
        } else {
          _ficlvarSend(r.pficlvar->piAnswer[1], &n, 4);
          _ficlvarSend(r.pficlvar->piAnswer[1], pc, static_cast<size_t>(n));
        }
      });
  if (ilBadPage >= 0 && ps->ilBadPage < 0) ps->ilBadPage = ilBadPage;
  ps->llSent += llTake;
  *pllWanted -= llTake;
  return 0;
}

/* The reason text of a LOB writer's failure code (TOOLS_RC_IO | errno, or another code). */
std::string _ficlvarWriteReason(int iRc)
{
  if ((iRc & ~0xfff) == TOOLS_RC_IO && (iRc & 0xfff) != 0) return std::strerror(iRc & 0xfff);
  char ac[64];
  std::snprintf(ac, sizeof ac, "LOB FILE NOT WRITTEN (REASON CODE 0x%x)", iRc);
  return ac;
}

/* The name of the LOB file of a LOB of its own (one file per LOB); false when it cannot be made. */
bool _ficlvarLobFileName(Reader &r, LobFiles &files, const std::vector<unsigned char> &vDesc, int32_t n,
                         int64_t llLength, char *pcName, size_t ulName)
{
  ficdata *pfd = r.pficlvar->pficdata;
  int32_t ilFirst = n >= FICDATA_LOB_FIRST + 4 ? static_cast<int32_t>(obyteGetLE32(vDesc.data() + FICDATA_LOB_FIRST)) : -1;
  if (llLength == 0) ilFirst = -1;   /* an empty LOB has no segment of its own */
  int32_t ilNumber = ficdataLobFileNumber(pfd, ilFirst);
  while (files.setUsed.count(ilNumber) != 0) ilNumber = ficdataLobFileNumber(pfd, -1);
  files.setUsed.insert(ilNumber);
  int32_t ilName = 0;
  int iRc = ficdataGetLBFileName(pfd, ilNumber, pcName, static_cast<int32_t>(ulName), &ilName);
  if (iRc == 0) return true;
  char acReason[64];
  std::snprintf(acReason, sizeof acReason, "LOB FILE NAME NOT MADE (REASON CODE 0x%x)", iRc);
  _ficlvarFail(r, iRc, nullptr, acReason);
  return false;
}

/*
** Answers the text the row holds for the LOB of the descriptor vDesc (n
** bytes, llLength bytes of LOB): its file's name, or its location specifier
** "name.offset.length/"; then writes the LOB into its file.  A file that
** cannot be created or written whole, a descriptor refused or a page that
** cannot be read is reported through _ficlvarFail; after the first such
** failure no LOB is written any more, but every request still gets its
** answer (an empty text once no place can be given).
*/
void _ficlvarLobToFile(Reader &r, LobFiles &files, const std::vector<unsigned char> &vDesc, int32_t n,
                       int64_t llLength)
{
  int iAnswer = r.pficlvar->piAnswer[1];
  auto answer = [&](const std::string &str) {
    int32_t ilText = static_cast<int32_t>(str.size());
    _ficlvarSend(iAnswer, &ilText, 4);
    _ficlvarSend(iAnswer, str.data(), str.size());
  };
  if (n < FICDATA_LOB_FIRST + 4) {
    answer("");
    _ficlvarFail(r, ZORTS_RC_BADDESC, nullptr, ("LOB DESCRIPTOR OF " + std::to_string(n) + " BYTES REFUSED").c_str());
    return;
  }

  if (files.boLls) {
    if (r.iFailure != 0 || files.pwrite == nullptr) {
      answer("");
      r.llFailed++;
      return;
    }
    int iRc = writeDeclareWrite(files.pwrite, llLength);
    const char *pcName = files.pwrite->pcharLobName != nullptr && files.pwrite->pcharLobName->pcData != nullptr
                             ? files.pwrite->pcharLobName->pcData
                             : "";
    if (iRc != 0) {
      answer("");
      _ficlvarFail(r, iRc, pcName, _ficlvarWriteReason(iRc).c_str());
      return;
    }
    std::string strText = std::string(pcName) + "." + std::to_string(files.pwrite->llBytesInFile) + "." +
                          std::to_string(llLength) + "/";
    if (strText.size() > FICDATA_LOB_TEXT_MAX) strText.clear();
    answer(strText);
    LobServe serve{&r, -1, 0, -1, 0, files.pwrite, 0};
    int iCode = zortsLobSegments(vDesc.data(), n, llLength, _ficlvarLobSegment, &serve);
    if (serve.iRcWrite != 0)
      _ficlvarFail(r, serve.iRcWrite, pcName, _ficlvarWriteReason(serve.iRcWrite).c_str());
    else
      _ficlvarFailServe(r, serve, iCode, pcName);
    return;
  }

  char acName[FICDATA_LOB_TEXT_MAX];
  if (!_ficlvarLobFileName(r, files, vDesc, n, llLength, acName, sizeof acName)) {
    answer("");
    return;
  }
  answer(acName);
  if (r.iFailure != 0) {
    r.llFailed++;
    return;
  }
  /* locked as every output file: a LOB file another process writes is left to it */
  int iRc = 0;
  LobServe serve{&r, writeOpenLocked(acName, false, &iRc), 0, -1, 0};
  if (serve.iFile < 0 && iRc == ZORWRITE_RC_INUSE) {
    _ficlvarFail(r, iRc, acName, "BEING WRITTEN BY ANOTHER PROCESS");
    return;
  }
  if (serve.iFile < 0) {
    int iErrno = (iRc & ~0xfff) == TOOLS_RC_IO && (iRc & 0xfff) != 0 ? iRc & 0xfff : EIO;
    _ficlvarFail(r, TOOLS_RC_IO | iErrno, acName, std::strerror(iErrno));
    return;
  }
  int iCode = zortsLobSegments(vDesc.data(), n, llLength, _ficlvarLobSegment, &serve);
  if (close(serve.iFile) != 0 && serve.iErrno == 0) serve.iErrno = errno;
  if (serve.iErrno != 0) {
    _ficlvarFail(r, TOOLS_RC_IO | serve.iErrno, acName, std::strerror(serve.iErrno));
  } else {
    _ficlvarFailServe(r, serve, iCode, acName);
  }
}

/* The LOB files of the child: location specifiers when the SELECT asks for them (LLS 1). */
void _ficlvarLobFilesOpen(Reader &r, LobFiles &files)
{
  ficdata *pfd = r.pficlvar->pficdata;
  if (pfd == nullptr || pfd->pcharLobFile == nullptr || pfd->ptask == nullptr) return;
  zoratom *patom = zortaskDetermineAtom(pfd->ptask, gapnameTotalToken[TOKEN_LLS]);
  files.boLls = patom != nullptr && patom->iKind == ZORATOM_INTEGER && patom->value.iValue == 1;
  if (files.boLls) files.pwrite = writeCreate(ZORWRITE_LOB | ZORWRITE_LLS, pfd->ilPart, nullptr, 0, nullptr, pfd->ptask);
}

/* Writes out and closes the LOB writer of location specifiers; its failure fails the child. */
void _ficlvarLobFilesClose(Reader &r, LobFiles &files)
{
  if (files.pwrite == nullptr) return;
  int iRc = writeFlush(files.pwrite);
  int iRcClose = writeClose(files.pwrite);
  if (iRc == 0) iRc = iRcClose;
  if (iRc != 0 && r.iFailure == 0) {
    const ochar *pcharName = files.pwrite->pcharLobName;
    _ficlvarFail(r, iRc, pcharName != nullptr && pcharName->pcData != nullptr ? pcharName->pcData : "?",
                 _ficlvarWriteReason(iRc).c_str());
  }
  writeDestroy(files.pwrite);
  files.pwrite = nullptr;
}

/*
** LOB loop; boSecondStopWord: read the second word of the stop request.
** Returns 0, or the code of the first LOB not served whole.
*/
int _ficlvarLOBLoop(Reader &r, bool boSecondStopWord)
{
  ficlvar *p = r.pficlvar;
  ficdata *pfd = p->pficdata;
  std::vector<unsigned char> vDesc;
  LobFiles files;
  _ficlvarLobFilesOpen(r, files);
  for (;;) {
    int32_t n;
    if (!_ficlvarReadInt(p->piRequest[0], &n)) break;
    if (n < 0) {
      int32_t ilSecond;
      if (boSecondStopWord) _ficlvarReadInt(p->piRequest[0], &ilSecond);
      break;
    }
    if (!_ficlvarReadDesc(p->piRequest[0], n, vDesc)) break;
    n = static_cast<int32_t>(vDesc.size());
    int64_t llLength = n >= FICDATA_LOB_LENGTH + 4 ? static_cast<int32_t>(obyteGetLE32(vDesc.data() + FICDATA_LOB_LENGTH)) : 0;
    if (llLength < 0) llLength = 0;
    if (pfd != nullptr && pfd->pcharLobFile != nullptr) {
      /* every LOB asked for gets its place: the row naming it was written
         (MAXROWS counts rows, which the record reader and the writer limit) */
      _ficlvarLobToFile(r, files, vDesc, n, llLength);
      continue;
    }
    if (llLength > FICDATA_MAX_LONGDATA) llLength = FICDATA_MAX_LONGDATA;
    LobServe serve{&r, -1, 0, -1, 0};
    int iCode = zortsLobSegments(vDesc.data(), n, llLength, _ficlvarLobSegment, &serve);
    if (serve.llSent < llLength) _ficlvarSendZeroChunks(r, llLength - serve.llSent);   /* keep the pipe in step */
    _ficlvarFailServe(r, serve, iCode, nullptr);
  }
  _ficlvarLobFilesClose(r, files);
  if (r.llFailed > 1)
    omsgsTrace("LOB child: %lld LOBs not served whole", static_cast<long long>(r.llFailed));
  return r.iFailure;
}

pid_t _ficlvarLaunch(ficlvar *p)
{
  if (p == nullptr || p->piRequest == nullptr || p->piAnswer == nullptr || p->pfnMain == nullptr) return -1;
  if (pipe(p->piRequest) != 0) return -1;
  if (pipe(p->piAnswer) != 0) {
    close(p->piRequest[0]);
    close(p->piRequest[1]);
    return -1;
  }
  pid_t pidParent = getpid();
  pid_t pid = fork();
  if (pid < 0) {
    for (int i = 0; i < 2; i++) {
      close(p->piRequest[i]);
      close(p->piAnswer[i]);
    }
    return -1;
  }
  if (pid == 0) {
    toolsDieWithParent(pidParent);
    close(p->piRequest[1]);
    close(p->piAnswer[0]);
    int iRc = p->pfnMain(p);
    close(p->piRequest[0]);
    if (p->piAnswer[1] >= 0) close(p->piAnswer[1]);
    ficlvarDestroy(p);
    omsgsFlushDefered();
    _exit(iRc == 0 ? 0 : FICLVAR_EXIT_FAILED);
  }
  close(p->piRequest[0]);
  close(p->piAnswer[1]);
  return pid;
}

/*
** Backup DMS mains: the object table and the extent list are read from the
** image (at the descriptor's start offset), but no answer can be given:
** the answer pipe is closed at once and the requests are read until the
** stop words.
*/
int _ficlvarDrain(ficlvar *p, bool boLOB)
{
  {
    Reader r;
    if (_ficlvarReaderInit(r, p, true) && _ficlvarReaderExtents(r, boLOB))
      omsgsTrace("Backup %s object of table %d: %d extents", boLOB ? "LOB" : "long-field", p->info.ilTableId,
                 r.ilExtents);
    _ficlvarReaderFree(r);
  }
  close(p->piAnswer[1]);
  p->piAnswer[1] = -1;
  for (;;) {
    int32_t n, ilSecond;
    if (!_ficlvarReadInt(p->piRequest[0], &n) || n < 0) break;
    if (!boLOB) {
      if (!_ficlvarReadInt(p->piRequest[0], &ilSecond)) break;
      continue;
    }
    std::vector<unsigned char> v;
    if (!_ficlvarReadDesc(p->piRequest[0], n, v)) break;
  }
  return 0;
}

/* Index entry of the table's object of one of the types in the image, the k-th one. */
const zorbkIndexEntry *_ficlvarFindObject(const ficlvar *p, std::initializer_list<int> types, int64_t k)
{
  const zorbk *pzorbk = p->pzorbk;
  if (pzorbk == nullptr) return nullptr;
  for (int32_t i = 0; i < pzorbk->ilIndexCount; i++) {
    const zorbkIndexEntry &e = pzorbk->pindex[i];
    if (e.ilTbsId != p->info.ilTbsId || e.usObjId != p->info.ilTableId) continue;
    for (int t : types)
      if (e.usObjType == t && k-- == 0) return &e;
  }
  return nullptr;
}

/* Reads n bytes of the image at llPos, zeros past what can be read. */
void _ficlvarReadImage(const ficlvar *p, int64_t llPos, int64_t llEnd, unsigned char *pc, int32_t n)
{
  std::memset(pc, 0, static_cast<size_t>(n));
  int64_t llAvail = llEnd - llPos;
  if (llAvail <= 0) return;
  int32_t ilWant = llAvail < n ? static_cast<int32_t>(llAvail) : n;
  int32_t ilDone = 0;
  while (ilDone < ilWant) {
    ssize_t k = pread(p->pzorbk->iFd, pc + ilDone, static_cast<size_t>(ilWant - ilDone), llPos + ilDone);
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) return;
    ilDone += static_cast<int32_t>(k);
  }
}

}  // namespace

/* ------------------------------------------------------------ descriptor */

ficlvar *ficlvarCreate(ficdata *pficdata, int *piFd, int *piRequest, int *piAnswer, const ficlvarTableInfo *pinfo,
                       ficcont *pficcont, ficlvarMainProc pfnMain)
{
  ficlvar *p = static_cast<ficlvar *>(std::calloc(1, sizeof(ficlvar)));
  if (p == nullptr) return nullptr;
  p->pficdata = pficdata;
  p->piFd = piFd;
  p->piRequest = piRequest;
  p->piAnswer = piAnswer;
  if (pinfo != nullptr) p->info = *pinfo;
  p->pficcont = pficcont;
  p->pfnMain = pfnMain;
  return p;
}

void ficlvarDestroy(ficlvar *pficlvar) { std::free(pficlvar); }

pid_t ficlvarLaunchChildSMS(ficlvar *pficlvar) { return _ficlvarLaunch(pficlvar); }

pid_t ficlvarLaunchChildDMS(ficlvar *pficlvar) { return _ficlvarLaunch(pficlvar); }

int ficlvarKillChild(pid_t pid, int *piRequest, int *piAnswer)
{
  if (piRequest != nullptr) {
    /* a child that has already ended must not take the reader with it (SIGPIPE) */
    struct sigaction saIgnore {}, saOld {};
    saIgnore.sa_handler = SIG_IGN;
    sigemptyset(&saIgnore.sa_mask);
    sigaction(SIGPIPE, &saIgnore, &saOld);
    int32_t aStop[2] = {-1, -1};
    _ficlvarSend(piRequest[1], aStop, sizeof aStop);
    close(piRequest[1]);
    sigaction(SIGPIPE, &saOld, nullptr);
  }
  if (piAnswer != nullptr) close(piAnswer[0]);
  int iStatus = 0;
  pid_t r;
  do r = waitpid(pid, &iStatus, 0);
  while (r < 0 && errno == EINTR);
  return r < 0 ? -1 : iStatus;
}

/* ------------------------------------------------------------ child mains */

int ficlvarLFReadSMS(ficlvar *p)
{
  Reader r;
  r.boOk = _ficlvarReaderInit(r, p, false);
  int iRc = _ficlvarLFLoop(r);
  _ficlvarReaderFree(r);
  return iRc;
}

int ficlvarLOBReadSMS(ficlvar *p)
{
  Reader r;
  r.boOk = _ficlvarReaderInit(r, p, false);
  int iRc = _ficlvarLOBLoop(r, true);
  _ficlvarReaderFree(r);
  return iRc;
}

int ficlvarLFReadDMS(ficlvar *p)
{
  Reader r;
  r.boOk = _ficlvarReaderInit(r, p, true) && _ficlvarReaderExtents(r, false);
  int iRc = _ficlvarLFLoop(r);
  _ficlvarReaderFree(r);
  return iRc;
}

int ficlvarLOBReadDMS(ficlvar *p)
{
  Reader r;
  r.boOk = _ficlvarReaderInit(r, p, true) && _ficlvarReaderExtents(r, true);
  int iRc = _ficlvarLOBLoop(r, false);
  _ficlvarReaderFree(r);
  return iRc;
}

int ficlvarLFReadBackupSMS(ficlvar *p)
{
  const zorbkIndexEntry *pentry = _ficlvarFindObject(p, {ZORBK_OBJ_SMS_LF}, 0);
  std::vector<unsigned char> v;
  for (;;) {
    int32_t L, P;
    if (!_ficlvarReadInt(p->piRequest[0], &L) || !_ficlvarReadInt(p->piRequest[0], &P) || L < 0) break;
    if (pentry == nullptr || P < 0) {
      _ficlvarSendZeros(p->piAnswer[1], L);
      continue;
    }
    int64_t llPos = pentry->llPosition + static_cast<int64_t>(P) * FICDATA_SECTOR;
    int64_t llEnd = pentry->llPosition + pentry->ilDataSize;
    v.resize(4096);
    for (int32_t ilLeft = L; ilLeft > 0;) {
      int32_t k = ilLeft < 4096 ? ilLeft : 4096;
      _ficlvarReadImage(p, llPos, llEnd, v.data(), k);
      _ficlvarSend(p->piAnswer[1], v.data(), static_cast<size_t>(k));
      llPos += k;
      ilLeft -= k;
    }
  }
  return 0;
}

int ficlvarLOBReadBackupSMS(ficlvar *p)
{
  int64_t llNext = 0;
  int32_t ilChunk = ficdataIsPageSize(p->info.ilPageSize) ? p->info.ilPageSize : 4096;
  std::vector<unsigned char> vDesc, v(static_cast<size_t>(ilChunk));
  for (;;) {
    int32_t n, ilSecond;
    if (!_ficlvarReadInt(p->piRequest[0], &n)) break;
    if (n < 0) {
      _ficlvarReadInt(p->piRequest[0], &ilSecond);
      break;
    }
    if (!_ficlvarReadDesc(p->piRequest[0], n, vDesc)) break;
    n = static_cast<int32_t>(vDesc.size());
    int64_t L = n >= FICDATA_LOB_LENGTH + 4 ? static_cast<int32_t>(obyteGetLE32(vDesc.data() + FICDATA_LOB_LENGTH)) : 0;
    if (L < 0) L = 0;
    if (L > FICDATA_MAX_LONGDATA) L = FICDATA_MAX_LONGDATA;
    const zorbkIndexEntry *pentry =
        _ficlvarFindObject(p, {ZORBK_OBJ_SMS_LOB, ZORBK_OBJ_SMS_LOBKB, ZORBK_OBJ_SMS_LOB2}, llNext++);
    int64_t llPos = pentry != nullptr ? pentry->llPosition : 0;
    int64_t llEnd = pentry != nullptr ? pentry->llPosition + pentry->ilDataSize : 0;
    while (L > 0) {
      int32_t c = L < ilChunk ? static_cast<int32_t>(L) : ilChunk;
      _ficlvarReadImage(p, llPos, llEnd, v.data(), c);
      _ficlvarSend(p->piAnswer[1], &c, 4);
      _ficlvarSend(p->piAnswer[1], v.data(), static_cast<size_t>(c));
      llPos += c;
      L -= c;
    }
  }
  return 0;
}

int ficlvarLFReadBackupDMS(ficlvar *p) { return _ficlvarDrain(p, false); }

int ficlvarLOBReadBackupDMS(ficlvar *p) { return _ficlvarDrain(p, true); }
