/*
** omsgs.cpp
**   Messages, traces and the message centre (see omsgs.h for the records, the
**   centre's states and the invariants).  The reporting side formats texts
**   and posts them; the centre, forked by omsgsInitModule, writes sysprint and
**   the trace files and removes the registered IPC resources at its end.
**   Texts longer than a record are never written past it: sysprint lines and
**   raw trace text are split over consecutive records (the centre writes them
**   unchanged, so the listing is whole), a trace line is cut.  What is not
**   about where texts go is the message core, common/omsgsshared.cpp,
**   shared with the daemon library.
*/
#include "common/omsgs.h"
#include "common/omsgsshared.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/ipc.h>
#include <sys/msg.h>
#include <sys/prctl.h>
#include <sys/sem.h>
#include <sys/shm.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <unicode/ures.h>

#include "common/obyte.h"
#include "common/ochar.h"
#include "common/ocnvft.h"
#include "common/omsgssev.h"
#include "common/oreason.h"
#include "common/osignal.h"
#include "common/ostack.h"
#include "common/ostrdict.h"


namespace {

bool gboStarted = false;          /* omsgsInitModule ran in this process */
const int kiMaxText = OMSGS_TEXT_SIZE - 1;   /* characters a record carries */
const int kiKeyProbes = 64;       /* keys tried past a stale queue */
const long klFullWaitMaxNs = 20000000;   /* longest pause between two sends to a full queue */

/* What every process of the run knows of the centre (copied by fork). */
pid_t gpidCentre = -1;            /* the centre's process id, -1 when none */
pid_t gpidCentreParent = -1;      /* the process that forked it (main) */
bool gboCentreLost = false;       /* the centre ended before its stop record */
bool gboQuietAll = false;         /* sysprint silenced for the run */
std::string gstrSysprintPath;     /* the sysprint file the centre writes, empty: standard error */
key_t gkeyRun = IPC_PRIVATE;      /* key of the run's queue and registry segment, once started */

/*
** Writes a sysprint text without the centre, once it has gone: appended to
** the sysprint file it was writing (never created or followed through a
** link here), else to standard error.
*/
void _msgsWriteDirect(const char *pcText, size_t ulLength)
{
  if (gboQuietAll || ulLength == 0) return;
  int iFd = 2;
  if (!gstrSysprintPath.empty()) {
    iFd = open(gstrSysprintPath.c_str(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC);
    if (iFd < 0) iFd = 2;
  }
  size_t ulDone = 0;
  while (ulDone < ulLength) {
    ssize_t l = write(iFd, pcText + ulDone, ulLength - ulDone);
    if (l < 0 && errno == EINTR) continue;
    if (l <= 0) break;
    ulDone += (size_t)l;
  }
  if (iFd != 2) close(iFd);
}

/*
** Takes note that the centre has ended: later posts find no queue, and
** sysprint lines are written directly.  The process that forked the centre
** removes the queue (nobody reads it any more) and says so on sysprint.
*/
void _msgsCentreGone(int iStatus, bool boReaped)
{
  if (gboCentreLost) return;
  gboCentreLost = true;
  int iQueue = gmsgid;
  gmsgid = -1;
  if (getpid() != gpidCentreParent) return;
  if (iQueue >= 0) msgctl(iQueue, IPC_RMID, nullptr);
  if (boReaped) gpidCentre = -1;
  char ac[256];
  int iLen = std::snprintf(ac, sizeof ac, ZORI160E, iStatus);
  if (iLen > 0) _msgsWriteDirect(ac, std::min((size_t)iLen, sizeof ac - 1));
}

/* True when the centre has ended (a zombie counts as ended); the centre's parent reaps it. */
bool _msgsCentreEnded(void)
{
  if (gpidCentre <= 0) return false;
  if (getpid() == gpidCentreParent) {
    int iStatus = 0;
    if (waitpid(gpidCentre, &iStatus, WNOHANG) != gpidCentre) return false;
    _msgsCentreGone(iStatus, true);
    return true;
  }
  if (kill(gpidCentre, 0) != 0) return errno == ESRCH;
  char acPath[64];
  std::snprintf(acPath, sizeof acPath, "/proc/%d/stat", (int)gpidCentre);
  FILE *pfile = std::fopen(acPath, "r");
  if (pfile == nullptr) return false;
  char acStat[256] = {0};
  size_t ul = std::fread(acStat, 1, sizeof acStat - 1, pfile);
  std::fclose(pfile);
  const char *pcEnd = (const char *)std::memchr(acStat, ')', ul);   /* state follows the name */
  return pcEnd != nullptr && pcEnd + 2 < acStat + ul && (pcEnd[2] == 'Z' || pcEnd[2] == 'X');
}

/* Body size of a record whose text is iTextLength bytes (its NUL added). */
inline size_t _msgsBodySize(int iTextLength)
{
  return (size_t)OMSGS_HEAD_SIZE + (size_t)iTextLength + 1;
}

/* Fills the head of a record: type, sender, keyword cut to eight (NUL-filled). */
void _msgsFillHead(omsgsMessage *pmsg, long lType, int iSender, const char *pcKeyword)
{
  pmsg->lType = lType;
  std::memset(pmsg->abHead, 0, sizeof pmsg->abHead);
  obytePutLE32(pmsg->abHead + OMSGS_OFF_SENDER, (uint32_t)iSender);
  if (pcKeyword != nullptr)
    std::memcpy(pmsg->abHead + OMSGS_OFF_KEYWORD, pcKeyword, strnlen(pcKeyword, OMSGS_KEYWORD_SIZE));
}

/*
** Sends a record.  A full queue is waited on for as long as the centre
** lives (short pauses, so that its end is seen at once); -1 without a
** queue, once the centre has ended, or when the queue was removed.
*/
int _msgsSend(omsgsMessage *pmsg, size_t ulBody)
{
  long lPauseNs = 100000;
  for (;;) {
    int iQueue = gmsgid;
    if (iQueue < 0) {
      errno = EINVAL;
      return -1;
    }
    if (msgsnd(iQueue, pmsg, ulBody, IPC_NOWAIT) == 0) return 0;
    if (errno == EINTR) continue;
    if (errno == EIDRM || errno == EINVAL) {
      /* removed under us: the centre has gone */
      if (iQueue == gmsgid) _msgsCentreGone(0, false);
      return -1;
    }
    if (errno != EAGAIN) return -1;
    if (_msgsCentreEnded()) {
      _msgsCentreGone(0, false);
      return -1;
    }
    struct timespec ts = {0, lPauseNs};
    nanosleep(&ts, nullptr);
    lPauseNs = std::min(lPauseNs * 2, klFullWaitMaxNs);
  }
}

/*
** Posts ulLength bytes of pcText as records of type lType, split into pieces
** of at most one record's text.  Returns the last msgsnd result (0 for an
** empty text, which is sent as one empty record).
*/
int _msgsPostText(long lType, int iSender, const char *pcKeyword, const char *pcText,
                  size_t ulLength)
{
  omsgsMessage msg;
  int rc = 0;
  size_t ulDone = 0;
  do {
    size_t ulPiece = std::min(ulLength - ulDone, (size_t)kiMaxText);
    _msgsFillHead(&msg, lType, iSender, pcKeyword);
    std::memcpy(msg.acText, pcText + ulDone, ulPiece);
    msg.acText[ulPiece] = '\0';
    rc = _msgsSend(&msg, _msgsBodySize((int)ulPiece));
    if (rc != 0 && lType == OMSGS_TYPE_PRINT && gboCentreLost) _msgsWriteDirect(pcText + ulDone, ulPiece);
    ulDone += ulPiece;
  } while (ulDone < ulLength);
  return rc;
}


/*
** Queue key of a run: a tag in the high byte and the low 24 bits of the
** queue id (the main process id, which is unique among live processes), so
** that two runs never share a queue.  iProbe moves past a stale queue left
** under the same key.
*/
key_t _msgsKey(int iQueueId, int iProbe)
{
  uint32_t ulTag = (0x5Au + (uint32_t)iProbe) & 0x7Fu;
  if (ulTag == 0) ulTag = 1;
  return (key_t)((ulTag << 24) | ((uint32_t)iQueueId & 0xFFFFFFu));
}

/* True when no queue and no segment uses the key (a stale one of an earlier run may). */
bool _msgsKeyFree(key_t key)
{
  if (msgget(key, 0) >= 0 || errno != ENOENT) return false;
  return shmget(key, 0, 0) < 0 && errno == ENOENT;
}

/* ---- The registry segment (layout in omsgs.h) --------------------------------------------- */

void _regInit(unsigned char *puc, pid_t pidMain)
{
  std::memset(puc, 0, OMSGS_REG_OFF_ENTRIES);
  std::memcpy(puc, OMSGS_REG_MAGIC, 4);
  obytePutLE32(puc + OMSGS_REG_OFF_MAIN, (uint32_t)pidMain);
  obytePutLE32(puc + OMSGS_REG_OFF_CAPACITY, (uint32_t)OMSGS_REG_CAPACITY);
  obytePutLE64(puc + OMSGS_REG_OFF_BEGIN, (uint64_t)time(nullptr));
}

unsigned char *_regEntry(unsigned char *puc, uint32_t ul)
{
  return puc + OMSGS_REG_OFF_ENTRIES + (size_t)ul * OMSGS_REG_ENTRY_SIZE;
}

/*
** Stores the entry count (little-endian, as every word of the segment) with
** release order: whoever reads the new count also sees the entries it covers.
*/
void _regSetCount(unsigned char *puc, uint32_t ulCount)
{
  unsigned char auc[4];
  obytePutLE32(auc, ulCount);
  uint32_t ulWord;
  std::memcpy(&ulWord, auc, 4);
  std::atomic_ref<uint32_t>(*reinterpret_cast<uint32_t *>(puc + OMSGS_REG_OFF_COUNT))
      .store(ulWord, std::memory_order_release);
}

/* Appends an entry; false when the segment is full. */
bool _regAdd(unsigned char *puc, int iKind, int iId)
{
  uint32_t ulCount = obyteGetLE32(puc + OMSGS_REG_OFF_COUNT);
  if (ulCount >= (uint32_t)OMSGS_REG_CAPACITY) return false;
  obytePutLE32(_regEntry(puc, ulCount), (uint32_t)iKind);
  obytePutLE32(_regEntry(puc, ulCount) + 4, (uint32_t)iId);
  _regSetCount(puc, ulCount + 1);
  return true;
}

/* Removes an entry: the last one takes its place. */
void _regRemove(unsigned char *puc, int iKind, int iId)
{
  uint32_t ulCount = obyteGetLE32(puc + OMSGS_REG_OFF_COUNT);
  for (uint32_t ul = 0; ul < ulCount; ul++) {
    unsigned char *pucEntry = _regEntry(puc, ul);
    if ((int)obyteGetLE32(pucEntry) != iKind || (int)obyteGetLE32(pucEntry + 4) != iId) continue;
    std::memcpy(pucEntry, _regEntry(puc, ulCount - 1), OMSGS_REG_ENTRY_SIZE);
    _regSetCount(puc, ulCount - 1);
    return;
  }
}

/* ---- The message centre ---------------------------------------------------------------- */

struct MsgsCentre {
  int iQueue = -1;
  int iRegistry = -1;                  /* registry segment, -1 when it could not be made */
  unsigned char *pucRegistry = nullptr;   /* its bytes, attached */
  FILE *pfileSysprint = stderr;
  std::string strSysprint;             /* its path, empty for standard error */
  int iSysprintErrno = 0;              /* not 0: a sysprint line was not written whole (errno) */
  std::string strSysprintFailed;       /* the path of the sysprint that failed, empty for standard error */
  const char *pcMode = "a";
  bool boQuiet = false;
  int iCounter = 0;
  std::vector<std::pair<int, int>> vRegistry;   /* {kind, id} in registration order */
};

/* Takes note of the first sysprint line that could not be written (errno iErrno). */
void _centreSysprintFailed(MsgsCentre &centre, int iErrno)
{
  if (centre.iSysprintErrno != 0) return;
  centre.iSysprintErrno = iErrno != 0 ? iErrno : EIO;
  centre.strSysprintFailed = centre.strSysprint;
}

/* Writes out and closes sysprint (standard error is flushed only); a line
   the file did not take is noted. */
void _centreCloseSysprint(MsgsCentre &centre)
{
  if (centre.pfileSysprint == nullptr) return;
  errno = 0;
  bool boFailed = std::fflush(centre.pfileSysprint) != 0 || std::ferror(centre.pfileSysprint) != 0;
  int iErrno = errno;
  if (centre.pfileSysprint != stderr) {
    errno = 0;
    if (std::fclose(centre.pfileSysprint) != 0 && !boFailed) {
      boFailed = true;
      iErrno = errno;
    }
  }
  if (boFailed) _centreSysprintFailed(centre, iErrno);
  centre.pfileSysprint = stderr;
  centre.strSysprint.clear();
}

/* Switches sysprint to pcPath (standard error when NULL or when it cannot be opened). */
void _centreOpenSysprint(MsgsCentre &centre, const char *pcPath)
{
  _centreCloseSysprint(centre);
  if (pcPath == nullptr) return;
  FILE *pfile = std::fopen(pcPath, centre.pcMode);
  if (pfile != nullptr) {
    centre.pfileSysprint = pfile;
    centre.strSysprint = pcPath;
  }
}

/* Ends sysprint: closes it and, when a line was not written, says so on
   standard error.  Returns OMSGS_RC_SYSPRINT then, else 0. */
int _centreEndSysprint(MsgsCentre &centre)
{
  _centreCloseSysprint(centre);
  if (centre.iSysprintErrno == 0) return 0;
  std::string strWhere = centre.strSysprintFailed.empty() ? "STANDARD ERROR" : centre.strSysprintFailed;
  std::fprintf(stderr, ZORU497E, strWhere.c_str(), std::strerror(centre.iSysprintErrno));
  std::fflush(stderr);
  return OMSGS_RC_SYSPRINT;
}

/* Trace file of a received keyword (at most eight characters), or NULL. */
FILE *_centreTraceFile(const omsgsMessage &msg)
{
  if (gpstrdictTrace == nullptr) return nullptr;
  const char *pcKeyword = (const char *)msg.abHead + OMSGS_OFF_KEYWORD;
  size_t ulLen = strnlen(pcKeyword, OMSGS_KEYWORD_SIZE);
  if (ulLen == 0) return nullptr;
  void *pValue = ostrdictLoadFixed(gpstrdictTrace, pcKeyword, ulLen);
  if (pValue == nullptr || pValue == (void *)-1) return nullptr;
  return (FILE *)pValue;
}

/* Handles one received record of ulBody body bytes.  Returns true for the stop record. */
bool _centreHandle(MsgsCentre &centre, omsgsMessage &msg, size_t ulBody)
{
  /* the text ends within what was received */
  if (ulBody < OMSGS_HEAD_SIZE) ulBody = OMSGS_HEAD_SIZE;
  size_t ulText = ulBody - OMSGS_HEAD_SIZE;
  if (ulText >= OMSGS_TEXT_SIZE) ulText = OMSGS_TEXT_SIZE - 1;
  char acInts[8];
  std::memcpy(acInts, msg.acText, sizeof acInts);
  msg.acText[ulText] = '\0';

  switch (msg.lType) {
    case OMSGS_TYPE_PRINT:
      if (!centre.boQuiet && std::fputs(msg.acText, centre.pfileSysprint) < 0) _centreSysprintFailed(centre, errno);
      break;
    case OMSGS_TYPE_TRACE: {
      int iCounter = centre.iCounter++;
      FILE *pfile = _centreTraceFile(msg);
      if (pfile == nullptr) break;
      struct timeval tv;
      gettimeofday(&tv, nullptr);
      struct tm tmNow;
      time_t t = tv.tv_sec;
      localtime_r(&t, &tmNow);
      char acTime[9];
      std::strftime(acTime, sizeof acTime, "%H:%M:%S", &tmNow);
      int iSender = (int)obyteGetLE32(msg.abHead + OMSGS_OFF_SENDER);
      std::fprintf(pfile, "%5.5i.%6.6i[%s] %s", iSender, iCounter, acTime, msg.acText);
      break;
    }
    case OMSGS_TYPE_RAW: {
      FILE *pfile = _centreTraceFile(msg);
      if (pfile != nullptr) std::fputs(msg.acText, pfile);
      break;
    }
    case OMSGS_TYPE_SYSPRINT:
      _centreOpenSysprint(centre, msg.acText);
      break;
    case OMSGS_TYPE_STORE:
    case OMSGS_TYPE_DELETE: {
      if (ulText < sizeof acInts) break;
      int iKind = (int)obyteGetLE32((const unsigned char *)acInts);
      int iId = (int)obyteGetLE32((const unsigned char *)acInts + 4);
      if (msg.lType == OMSGS_TYPE_STORE) {
        centre.vRegistry.emplace_back(iKind, iId);
        if (centre.pucRegistry != nullptr) _regAdd(centre.pucRegistry, iKind, iId);
      } else {
        for (auto it = centre.vRegistry.begin(); it != centre.vRegistry.end(); ++it)
          if (it->first == iKind && it->second == iId) {
            centre.vRegistry.erase(it);
            break;
          }
        if (centre.pucRegistry != nullptr) _regRemove(centre.pucRegistry, iKind, iId);
      }
      break;
    }
    case OMSGS_TYPE_STOP:
      return true;
    default:
      break;
  }
  return false;
}

/* Wakes the centre's receive; nothing else. */
void _centreWake(int) {}

/* True when the main process has gone: it no longer exists, or this process was reparented. */
bool _centreParentGone(pid_t pidParent)
{
  if (getppid() != pidParent) return true;
  return kill(pidParent, 0) != 0 && errno == ESRCH;
}

struct MsgsKeywordFile {
  std::string strKeyword;
  FILE *pfile;
};

void _centreCollect(uintptr_t ulKey, void *, void *pArg)
{
  const char *pcName = (const char *)ulKey;
  ((std::vector<MsgsKeywordFile> *)pArg)->push_back({std::string(pcName, onameGetLength(pcName)), nullptr});
}

/*
** Body of the centre process.  Returns 0, or 0x19a001 when the queue cannot
** be created or a receive fails.
*/
int _msgsCentre(key_t key, const char *pcSysprint, int iQuiet1, int iQuiet2, int iMode,
                pid_t pidParent, int iReady)
{
  /* the signals that stop a run reach the whole process group: the centre
     outlives the others, to write their last messages and clean up */
  osignalIgnore();

  /* sysprint and trace files belong to the invoking user */
  uid_t uidReal = getuid(), uidEff = geteuid();
  gid_t gidReal = getgid(), gidEff = getegid();
  if (setreuid(uidEff, uidReal) != 0) { /* keep the identities we have */ }
  if (setregid(gidEff, gidReal) != 0) { /* likewise */ }

  MsgsCentre centre;
  centre.pcMode = (iMode & 1) ? "a" : "w";
  /* the registry segment first: a queue of the run is never without it */
  centre.iRegistry = shmget(key, OMSGS_REG_SIZE, IPC_CREAT | IPC_EXCL | 0600);
  if (centre.iRegistry >= 0) {
    void *p = shmat(centre.iRegistry, nullptr, 0);
    if (p == (void *)-1) {
      shmctl(centre.iRegistry, IPC_RMID, nullptr);
      centre.iRegistry = -1;
    } else {
      centre.pucRegistry = (unsigned char *)p;
      _regInit(centre.pucRegistry, pidParent);
    }
  }
  centre.iQueue = msgget(key, IPC_CREAT | IPC_EXCL | 0660);
  if (centre.iQueue < 0) {
    if (centre.iRegistry >= 0) {
      shmdt(centre.pucRegistry);
      shmctl(centre.iRegistry, IPC_RMID, nullptr);
    }
    return OMSGS_RC_QUEUE;
  }
  gmsgid = centre.iQueue;
  /* the queue is there: the main process may go on */
  if (iReady >= 0) {
    char c = 1;
    while (write(iReady, &c, 1) < 0 && errno == EINTR) {
    }
    close(iReady);
  }

  if (iQuiet1 != 0 && iQuiet2 != 0)
    centre.boQuiet = true;
  else
    _centreOpenSysprint(centre, pcSysprint);

  std::vector<MsgsKeywordFile> vFiles;
  if (gpstrdictTrace != nullptr) {
    odictForEach(gpstrdictTrace->pdict, _centreCollect, &vFiles);
    for (MsgsKeywordFile &kf : vFiles) {
      std::string strName = kf.strKeyword + "_";
      char acPid[32];
      std::snprintf(acPid, sizeof acPid, "%5.5i", (int)pidParent);
      strName += acPid;
      kf.pfile = _msgsCreateTrace(strName.c_str());
      ostrdictStore(gpstrdictTrace, kf.strKeyword.c_str(), kf.pfile);
    }
  }

  /* The receive waits for the next record; SIGALRM interrupts it when the
     main process ends (parent-death signal, set after the identity swap,
     which clears it) and once a second, to look at the main process. */
  struct sigaction sa {};
  sa.sa_handler = _centreWake;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;   /* file writes restart; msgrcv never does */
  sigaction(SIGALRM, &sa, nullptr);
  prctl(PR_SET_PDEATHSIG, SIGALRM);
  struct itimerval itv = {{1, 0}, {1, 0}};
  setitimer(ITIMER_REAL, &itv, nullptr);

  int rc = 0;
  bool boParentGone = _centreParentGone(pidParent);
  omsgsMessage msg;
  for (;;) {
    ssize_t lRead = msgrcv(centre.iQueue, &msg, OMSGS_BODY_SIZE, 0, boParentGone ? IPC_NOWAIT : 0);
    if (lRead < 0) {
      if (errno == EINTR) {
        if (!boParentGone) boParentGone = _centreParentGone(pidParent);
        continue;
      }
      if (errno == ENOMSG && boParentGone) break;   /* drained after the parent went */
      rc = OMSGS_RC_QUEUE;
      break;
    }
    if (_centreHandle(centre, msg, (size_t)lRead)) break;
  }
  struct itimerval itvOff {};
  setitimer(ITIMER_REAL, &itvOff, nullptr);

  for (const auto &entry : centre.vRegistry) {
    switch (entry.first) {
      case OMSGS_IPC_SHM: shmctl(entry.second, IPC_RMID, nullptr); break;
      case OMSGS_IPC_SEM: semctl(entry.second, 0, IPC_RMID); break;
      case OMSGS_IPC_MSG: msgctl(entry.second, IPC_RMID, nullptr); break;
      default: break;
    }
  }
  for (MsgsKeywordFile &kf : vFiles)
    if (kf.pfile != nullptr) std::fclose(kf.pfile);
  int rcSysprint = _centreEndSysprint(centre);
  if (rc == 0) rc = rcSysprint;
  msgctl(centre.iQueue, IPC_RMID, nullptr);
  if (centre.iRegistry >= 0) {
    shmdt(centre.pucRegistry);
    shmctl(centre.iRegistry, IPC_RMID, nullptr);
  }
  return rc;
}

/* ---- What an earlier run left ------------------------------------------------------------ */

/* Seconds since the epoch at which the system started, 0 when unknown. */
time_t _msgsBootTime(void)
{
  std::ifstream in("/proc/stat");
  std::string strLine;
  while (std::getline(in, strLine))
    if (strLine.compare(0, 6, "btime ") == 0) return (time_t)std::strtoll(strLine.c_str() + 6, nullptr, 10);
  return 0;
}

/*
** True when the process iPid has ended since tSince: no such process, a
** zombie, or a process of that number that started after tSince (the
** number was given again).
*/
bool _msgsProcessGone(pid_t pid, time_t tSince)
{
  if (pid <= 0) return true;
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string strStat;
  if (!std::getline(in, strStat)) return true;
  size_t ulEnd = strStat.rfind(')');
  if (ulEnd == std::string::npos) return false;
  std::istringstream is(strStat.substr(ulEnd + 2));
  std::string strField;
  /* state is field 3; start time, in clock ticks after boot, field 22 */
  std::vector<std::string> vFields;
  while (is >> strField && vFields.size() < 20) vFields.push_back(strField);
  if (vFields.size() < 20) return false;
  if (vFields[0] == "Z" || vFields[0] == "X") return true;
  long lTicks = sysconf(_SC_CLK_TCK);
  time_t tBoot = _msgsBootTime();
  if (lTicks <= 0 || tBoot == 0) return false;
  time_t tStart = tBoot + (time_t)(std::strtoull(vFields[19].c_str(), nullptr, 10) / (unsigned long long)lTicks);
  return tStart > tSince + 1;
}

/* A run's registry as a later process finds it. */
struct MsgsLeftRun {
  int iRegistry = -1;
  key_t key = IPC_PRIVATE;
  pid_t pidMain = 0;
  pid_t pidCentre = 0;
  time_t tBegin = 0;                        /* the run began */
  time_t tEnd = 0;                          /* its centre detached the segment */
  std::vector<std::pair<int, int>> vEntries;   /* {kind, id} */
};

/* What was removed of a run. */
struct MsgsRemoved {
  int iSem = 0, iMsg = 0, iShm = 0;
};

/* True when a change time tChange falls within the run's life (one second of slack). */
bool _msgsDuringRun(const MsgsLeftRun &run, time_t tChange)
{
  return tChange + 1 >= run.tBegin && tChange <= run.tEnd + 1;
}

/*
** Reads the registry segment iRegistry when it is a run's whose centre has
** detached it: its bytes (checked against the layout), its key, its
** centre and its times.  False when it is not one, or cannot be read.
*/
bool _msgsReadRegistry(int iRegistry, MsgsLeftRun *prun)
{
  struct shmid_ds ds;
  if (shmctl(iRegistry, IPC_STAT, &ds) != 0) return false;
  if (ds.shm_segsz != OMSGS_REG_SIZE || ds.shm_nattch != 0 || ds.shm_perm.__key == IPC_PRIVATE) return false;
  void *p = shmat(iRegistry, nullptr, SHM_RDONLY);
  if (p == (void *)-1) return false;
  const unsigned char *puc = (const unsigned char *)p;
  bool boOk = std::memcmp(puc, OMSGS_REG_MAGIC, 4) == 0 &&
              obyteGetLE32(puc + OMSGS_REG_OFF_CAPACITY) == (uint32_t)OMSGS_REG_CAPACITY;
  if (boOk) {
    prun->iRegistry = iRegistry;
    prun->key = ds.shm_perm.__key;
    prun->pidMain = (pid_t)obyteGetLE32(puc + OMSGS_REG_OFF_MAIN);
    prun->pidCentre = ds.shm_cpid;
    prun->tBegin = (time_t)obyteGetLE64(puc + OMSGS_REG_OFF_BEGIN);
    prun->tEnd = ds.shm_dtime != 0 ? ds.shm_dtime : time(nullptr);
    uint32_t ulCount = std::min(obyteGetLE32(puc + OMSGS_REG_OFF_COUNT), (uint32_t)OMSGS_REG_CAPACITY);
    for (uint32_t ul = 0; ul < ulCount; ul++) {
      const unsigned char *pucEntry = puc + OMSGS_REG_OFF_ENTRIES + (size_t)ul * OMSGS_REG_ENTRY_SIZE;
      prun->vEntries.emplace_back((int)obyteGetLE32(pucEntry), (int)obyteGetLE32(pucEntry + 4));
    }
    /* the queue's key is made from the main process's number */
    boOk = ((uint32_t)prun->key & 0xFFFFFFu) == ((uint32_t)prun->pidMain & 0xFFFFFFu);
  }
  shmdt(p);
  return boOk;
}

/* Applies the records 7 and 8 left in the run's queue, which the centre did not live to read. */
void _msgsApplyLeftRecords(int iQueue, MsgsLeftRun *prun)
{
  omsgsMessage msg;
  for (;;) {
    ssize_t lRead = msgrcv(iQueue, &msg, OMSGS_BODY_SIZE, 0, IPC_NOWAIT | MSG_NOERROR);
    if (lRead < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if ((msg.lType != OMSGS_TYPE_STORE && msg.lType != OMSGS_TYPE_DELETE) || lRead < OMSGS_HEAD_SIZE + 8) continue;
    int iKind = (int)obyteGetLE32((const unsigned char *)msg.acText);
    int iId = (int)obyteGetLE32((const unsigned char *)msg.acText + 4);
    if (msg.lType == OMSGS_TYPE_STORE) {
      prun->vEntries.emplace_back(iKind, iId);
    } else {
      auto it = std::find(prun->vEntries.begin(), prun->vEntries.end(), std::make_pair(iKind, iId));
      if (it != prun->vEntries.end()) prun->vEntries.erase(it);
    }
  }
}

/*
** Removes what a run whose processes have all ended left: the objects its
** registry lists that still exist and were made while it lived (an object
** of that number made since is someone else's), then, unless boOwn (the
** process's own run, whose queue is already gone), its queue with the
** records the centre left unread, then the registry segment itself.
*/
MsgsRemoved _msgsClearRun(MsgsLeftRun &run, bool boOwn)
{
  MsgsRemoved removed;
  int iQueue = boOwn ? -1 : msgget(run.key, 0);
  if (iQueue >= 0) {
    struct msqid_ds ds;
    /* the queue of that run: made with it, read by its centre alone */
    if (msgctl(iQueue, IPC_STAT, &ds) != 0 || !_msgsDuringRun(run, ds.msg_ctime) ||
        (ds.msg_lrpid != 0 && ds.msg_lrpid != run.pidCentre))
      iQueue = -1;
  }
  if (iQueue >= 0) _msgsApplyLeftRecords(iQueue, &run);
  std::sort(run.vEntries.begin(), run.vEntries.end());
  run.vEntries.erase(std::unique(run.vEntries.begin(), run.vEntries.end()), run.vEntries.end());
  for (const auto &entry : run.vEntries) {
    int iId = entry.second;
    switch (entry.first) {
      case OMSGS_IPC_SEM: {
        struct semid_ds ds;
        union {
          int val;
          struct semid_ds *buf;
        } arg;
        arg.buf = &ds;
        if (semctl(iId, 0, IPC_STAT, arg) == 0 && ds.sem_perm.__key == IPC_PRIVATE &&
            _msgsDuringRun(run, ds.sem_ctime) && semctl(iId, 0, IPC_RMID) == 0)
          removed.iSem++;
        break;
      }
      case OMSGS_IPC_SHM: {
        struct shmid_ds ds;
        if (shmctl(iId, IPC_STAT, &ds) == 0 && _msgsDuringRun(run, ds.shm_ctime) && shmctl(iId, IPC_RMID, nullptr) == 0)
          removed.iShm++;
        break;
      }
      case OMSGS_IPC_MSG: {
        struct msqid_ds ds;
        if (msgctl(iId, IPC_STAT, &ds) == 0 && _msgsDuringRun(run, ds.msg_ctime) && msgctl(iId, IPC_RMID, nullptr) == 0)
          removed.iMsg++;
        break;
      }
      default:
        break;
    }
  }
  if (iQueue >= 0 && msgctl(iQueue, IPC_RMID, nullptr) == 0) removed.iMsg++;
  if (shmctl(run.iRegistry, IPC_RMID, nullptr) == 0) removed.iShm++;
  return removed;
}

/* Identifiers of the shared-memory segments of the system, as /proc lists them. */
std::vector<int> _msgsSegments(void)
{
  std::vector<int> v;
  std::ifstream in("/proc/sysvipc/shm");
  std::string strLine;
  std::getline(in, strLine);   /* column titles: key shmid ... */
  while (std::getline(in, strLine)) {
    long long llKey = 0, llId = -1;
    std::istringstream is(strLine);
    if (is >> llKey >> llId && llKey != 0 && llId >= 0) v.push_back((int)llId);
  }
  return v;
}


}  // namespace

int omsgsInitModule(const char *pcQueuePath, int iQueueId, const char *pcSysprint,
                    int iQuiet1, int iQuiet2, ochar *pcharTraceList, int iMode,
                    int *piCentre, const char *pcBundle, const char *pcLocale)
{
  (void)pcQueuePath;   /* the key is made from the queue id alone, see _msgsKey */
  pid_t pidSelf = getpid();
  if (gpstrdictTrace != nullptr) ostrdictDestroy(gpstrdictTrace);
  gpstrdictTrace = nullptr;
  _msgsBuildTraceSet(pcharTraceList);

  int rc = 0;
  int iCentre = -1;
  if (gboStarted) {
    rc = OMSGS_RC_STARTED;
  } else {
    /* a key nobody uses: a queue or segment already there under ours is stale */
    key_t key = _msgsKey(iQueueId, 0);
    for (int iProbe = 1; iProbe < kiKeyProbes && !_msgsKeyFree(key); iProbe++) key = _msgsKey(iQueueId, iProbe);

    /* the centre says on a pipe when its queue is there (end of file: it died first) */
    int aiReady[2] = {-1, -1};
    if (pipe2(aiReady, O_CLOEXEC) != 0) aiReady[0] = aiReady[1] = -1;
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
      if (aiReady[0] >= 0) close(aiReady[0]);
      int rcCentre = _msgsCentre(key, pcSysprint, iQuiet1, iQuiet2, iMode, pidSelf, aiReady[1]);
      _exit(rcCentre & 0xFF);
    }
    if (aiReady[1] >= 0) close(aiReady[1]);
    if (pid > 0 && aiReady[0] >= 0) {
      char c;
      while (read(aiReady[0], &c, 1) < 0 && errno == EINTR) {
      }
    }
    if (aiReady[0] >= 0) close(aiReady[0]);
    if (pid < 0) {
      std::fputs("Cannot create the messaging services", stderr);
      rc = OMSGS_RC_FORK;
    } else {
      gboStarted = true;
      gkeyRun = key;
      iCentre = (int)pid;
      gpidCentre = pid;
      gpidCentreParent = pidSelf;
      gboCentreLost = false;
      gboQuietAll = iQuiet1 != 0 && iQuiet2 != 0;
      gstrSysprintPath = pcSysprint != nullptr ? pcSysprint : "";
      /* wait for the centre's queue; give up when the centre has died */
      for (;;) {
        int id = msgget(key, 0);
        if (id >= 0) {
          gmsgid = id;
          break;
        }
        if (errno != ENOENT) {
          rc = OMSGS_RC_QUEUE;
          break;
        }
        int iStatus;
        if (waitpid(pid, &iStatus, WNOHANG) == pid) {
          rc = OMSGS_RC_QUEUE;
          iCentre = -1;
          gpidCentre = -1;
          gboStarted = false;
          break;
        }
        usleep(1000);
      }
    }
  }
  if (piCentre != nullptr) *piCentre = iCentre;
  _msgsOpenCatalogue(pcBundle, pcLocale);
  return rc;
}

int omsgsInitLanguage(const char *pcBundle, const char *pcLocale)
{
  _msgsOpenCatalogue(pcBundle, pcLocale);
  return 0;
}

int omsgsInitMessageFileName(const char *pcPath)
{
  if (pcPath == nullptr) return 0;
  size_t ulLen = std::strlen(pcPath);
  if (ulLen > (size_t)kiMaxText) return 0;   /* no such path: keep the current sysprint */
  omsgsMessage msg;
  _msgsFillHead(&msg, OMSGS_TYPE_SYSPRINT, 0, nullptr);
  std::memcpy(msg.acText, pcPath, ulLen + 1);
  _msgsSend(&msg, _msgsBodySize((int)ulLen));
  gstrSysprintPath = pcPath;
  return 0;
}

/* Posts a type-7 or type-8 record. */
static int _msgsPostResource(long lType, int iKind, int iId)
{
  omsgsMessage msg;
  _msgsFillHead(&msg, lType, 0, nullptr);
  std::memset(msg.acText, 0, 9);
  obytePutLE32((unsigned char *)msg.acText, (uint32_t)iKind);
  obytePutLE32((unsigned char *)msg.acText + 4, (uint32_t)iId);
  _msgsSend(&msg, OMSGS_HEAD_SIZE + 9);
  return 0;
}

int omsgsStoreIPCResource(int iKind, int iId)
{
  return _msgsPostResource(OMSGS_TYPE_STORE, iKind, iId);
}

int omsgsDeleteIPCResource(int iKind, int iId)
{
  return _msgsPostResource(OMSGS_TYPE_DELETE, iKind, iId);
}

int omsgsHandOver(uid_t uid, gid_t gid)
{
  int rc = 0;
  struct msqid_ds dsQueue;
  if (gmsgid >= 0) {
    if (msgctl(gmsgid, IPC_STAT, &dsQueue) == 0) {
      dsQueue.msg_perm.uid = uid;
      dsQueue.msg_perm.gid = gid;
      if (msgctl(gmsgid, IPC_SET, &dsQueue) != 0) rc = -1;
    } else {
      rc = -1;
    }
  }
  int iRegistry = gkeyRun != IPC_PRIVATE ? shmget(gkeyRun, 0, 0) : -1;
  struct shmid_ds dsRegistry;
  if (iRegistry >= 0 && shmctl(iRegistry, IPC_STAT, &dsRegistry) == 0) {
    dsRegistry.shm_perm.uid = uid;
    dsRegistry.shm_perm.gid = gid;
    if (shmctl(iRegistry, IPC_SET, &dsRegistry) != 0) rc = -1;
  }
  return rc;
}

int omsgsClearEarlierRuns(void)
{
  int iRuns = 0;
  for (int iRegistry : _msgsSegments()) {
    MsgsLeftRun run;
    if (!_msgsReadRegistry(iRegistry, &run)) continue;
    if (run.pidMain == getpid()) continue;
    /* every process of that run has ended: its main process and its centre */
    if (!_msgsProcessGone(run.pidMain, run.tBegin) || !_msgsProcessGone(run.pidCentre, run.tBegin)) continue;
    MsgsRemoved removed = _msgsClearRun(run, false);
    if (removed.iSem + removed.iMsg + removed.iShm == 0) continue;
    omsgsFMTEDO(ZORI161I, (int)run.pidMain, removed.iSem, removed.iMsg, removed.iShm);
    iRuns++;
  }
  return iRuns;
}

int omsgsDestroyModule(int iCentre)
{
  omsgsMessage msg;
  _msgsFillHead(&msg, OMSGS_TYPE_STOP, 0, nullptr);
  msg.acText[0] = '\0';
  /* A centre that cannot be told to stop (the queue is gone, or no longer
     ours to write after an identity switch) is not waited for: it notices
     this process's end by itself, cleans up and exits. */
  bool boStopSent = _msgsSend(&msg, _msgsBodySize(0)) == 0;

  int rc = 0;
  if (iCentre > 0 && boStopSent) {
    int iStatus = 0;
    pid_t pid;
    do {
      pid = waitpid((pid_t)iCentre, &iStatus, 0);
    } while (pid < 0 && errno == EINTR);
    if (pid == (pid_t)iCentre && WIFEXITED(iStatus))
      rc = WEXITSTATUS(iStatus) == (OMSGS_RC_SYSPRINT & 0xFF) ? OMSGS_RC_SYSPRINT : WEXITSTATUS(iStatus);
    if (pid == (pid_t)iCentre && !WIFEXITED(iStatus)) _msgsCentreGone(iStatus, true);
  }
  if (gboCentreLost) {
    rc = OMSGS_RC_LOST;
    /* the run has ended: what the centre did not live to remove is removed here */
    int iRegistry = gkeyRun != IPC_PRIVATE && getpid() == gpidCentreParent ? shmget(gkeyRun, 0, 0) : -1;
    MsgsLeftRun run;
    if (iRegistry >= 0 && _msgsReadRegistry(iRegistry, &run) && run.pidMain == getpid()) _msgsClearRun(run, true);
  }
  gkeyRun = IPC_PRIVATE;
  gmsgid = -1;
  gpidCentre = -1;
  gboStarted = false;
  if (gpstrdictTrace != nullptr) {
    ostrdictDestroy(gpstrdictTrace);
    gpstrdictTrace = nullptr;
  }
  gboTorvelExist = 0;
  if (gures_messages != nullptr) {
    ures_close(gures_messages);
    gures_messages = nullptr;
  }
  pthread_mutex_lock(&gmutexFMTEDO);
  std::free(gpacMsgsBuffer);
  gpacMsgsBuffer = nullptr;
  gulSizeMsgsBuffer = 0;
  pthread_mutex_unlock(&gmutexFMTEDO);
  return rc;
}

int omsgsCentreEnded(int iPid, int iStatus)
{
  if (gpidCentre <= 0 || iPid != (int)gpidCentre || getpid() != gpidCentreParent) return 0;
  _msgsCentreGone(iStatus, true);
  gpidCentre = -1;
  return 1;
}

int omsgsCentreLost(void)
{
  return gboCentreLost ? 1 : 0;
}

int omsgsFMTEDO(const char *pcFormat, ...)
{
  if (pcFormat == nullptr) return 0;
  ochar *pcharCatalogue = _msgsCatalogueText(pcFormat);
  const char *pcUsed = pcharCatalogue != nullptr ? _charText(pcharCatalogue) : pcFormat;
  va_list va;
  va_start(va, pcFormat);
  std::string str;
  if (_msgsFormat(str, pcUsed, va)) _msgsIssue(str.data(), str.size());
  va_end(va);
  ocharDestroy(pcharCatalogue);
  return 0;
}


int omsgsPostMessage(omsgsMessage *pmsg, int iTextLength)
{
  if (pmsg == nullptr) return -1;
  if (iTextLength < 0) iTextLength = 0;
  if (iTextLength > kiMaxText) {
    iTextLength = kiMaxText;
    pmsg->acText[iTextLength] = '\0';
  }
  return _msgsSend(pmsg, _msgsBodySize(iTextLength));
}






/* A ready message goes to the centre, as sysprint records; an error
   message is counted for the end of the run (common/omsgssev.h). */
void _msgsEmit(const char *pcText, size_t ulLength)
{
  omsgssevNote(pcText, ulLength);
  _msgsPostText(OMSGS_TYPE_PRINT, 0, nullptr, pcText, ulLength);
}

/* Raw trace text goes to the centre, as raw records from this process. */
int _msgsTraceRawV(const char *pcKeyword, const char *pcFormat, va_list va)
{
  std::string str;
  if (!_msgsFormat(str, pcFormat, va)) return -1;
  return _msgsPostText(OMSGS_TYPE_RAW, (int)getpid(), pcKeyword, str.data(), str.size()) < 0 ? -1 : 0;
}

int omsgsTracePostV(int iType, const char *pcKeyword, const char *pcFormat, va_list va)
{
  if (pcFormat == nullptr) return -1;
  pthread_mutex_lock(&gmutexSync);
  _msgsFillHead(&gmsgsMessage, iType, (int)getpid(), pcKeyword);
  int iLen = std::vsnprintf(gmsgsMessage.acText, OMSGS_TEXT_SIZE, pcFormat, va);
  if (iLen < 0) {
    gmsgsMessage.acText[0] = '\0';
    iLen = 0;
  } else if (iLen > kiMaxText) {
    /* a cut trace line still ends its line */
    size_t ulFormat = std::strlen(pcFormat);
    if (ulFormat > 0 && pcFormat[ulFormat - 1] == '\n') gmsgsMessage.acText[kiMaxText - 1] = '\n';
    iLen = kiMaxText;
  }
  int rc = _msgsSend(&gmsgsMessage, _msgsBodySize(iLen));
  pthread_mutex_unlock(&gmutexSync);
  return rc;
}
