/*
** socket.cpp  (module zor3socket)
**   The conversation with the network daemon, both ends: the client
**   operations db2zav uses to test a host, read files there and ship a
**   request, and the service operations the daemon program calls for each
**   connection.  Layouts and limits are described in socket.h; every header
**   and payload word goes through common/obyte.h, and every length or count
**   that arrives from the peer is checked before it is used.
**
**   Service side design (one process per conversation):
**     NEW  --14----> challenge sent (peer host and key file checked)
**          --15----> AUTHENTICATED: the process is the instance user now
**          --other-> error reply, end (nothing is served before 15)
**     AUTHENTICATED:
**          --3/13--> control file saved in the private directory
**          --4/11--> the allowed arguments checked, db2zav run without a
**                    shell, its message file sent back line by line and
**                    deleted, then 501 with the run's exit status
**     any  --7-----> file open; 8 and 10 use it; 9 closes it and ends
**     any  --999---> wait 1 s, end;  errors of 5, 7, 8, 9, malformed or
**                    unknown requests end it with an error reply.
**   Invariant: at the end the file is closed, the private directory and
**   everything in it is removed, the connection is shut down and closed.
*/
#include "io/socket.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <grp.h>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <openssl/crypto.h>

#include "common/obyte.h"
#include "common/ochar.h"
#include "common/ocnvft.h"
#include "common/omsgs.h"
#include "io/authkey.h"
#include "model/config.h"
#include "io/dmguard.h"
#include "model/parm.h"
#include "model/tools.h"
#include "model/zormsgs.h"

namespace {

constexpr int kiLookupTries = 5;     /* host and service look-ups */
constexpr int kiEmptyTries = 5;      /* empty receives in a row */
constexpr uint16_t kusUTF8 = 1208;
constexpr const char *kpcStalled = "Peer stalled: nothing received within the time limit";

/* Error text of the calling thread (see socket.h). */
thread_local char gacSocketError[1024];

void _socketSetError(char **ppcErrorText, const char *pcText, size_t ulLength)
{
  if (ppcErrorText == nullptr) return;
  if (ulLength >= sizeof(gacSocketError)) ulLength = sizeof(gacSocketError) - 1;
  std::memmove(gacSocketError, pcText, ulLength);
  gacSocketError[ulLength] = '\0';
  *ppcErrorText = gacSocketError;
}

void _socketSetText(char **ppcErrorText, const char *pcText)
{
  _socketSetError(ppcErrorText, pcText, std::strlen(pcText));
}

/* The system's text for iErrno. */
void _socketSetSystem(char **ppcErrorText, int iErrno)
{
  char acBuffer[256];
  const char *pc = strerror_r(iErrno, acBuffer, sizeof(acBuffer));
  _socketSetText(ppcErrorText, pc);
}

void _socketClearError(char **ppcErrorText)
{
  _socketSetError(ppcErrorText, "", 0);
}

int _socketSetBuffer(int iSocket, int iOption, int iSize)
{
  return setsockopt(iSocket, SOL_SOCKET, iOption, &iSize, sizeof(iSize));
}

/* Sends all ulLength bytes.  Returns 0, or -1 with errno. */
int _socketSendAll(int iSocket, const void *pBytes, size_t ulLength)
{
  const unsigned char *puc = static_cast<const unsigned char *>(pBytes);
  while (ulLength > 0) {
    ssize_t lSent = send(iSocket, puc, ulLength, MSG_NOSIGNAL);
    if (lSent < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    puc += lSent;
    ulLength -= static_cast<size_t>(lSent);
  }
  return 0;
}

/* Sends a message: header, then the words (big-endian), then ulLength bytes of pText. */
int _socketSend(int iSocket, uint32_t ulCode, std::initializer_list<uint32_t> words, const void *pText,
                size_t ulLength)
{
  std::vector<unsigned char> v(SOCKET_HEADER_SIZE + 4 * words.size() + ulLength);
  obytePutBE32(v.data(), static_cast<uint32_t>(v.size()));
  obytePutBE32(v.data() + 4, SOCKET_VERSION);
  obytePutBE32(v.data() + 8, ulCode);
  size_t ulAt = SOCKET_HEADER_SIZE;
  for (uint32_t ul : words) {
    obytePutBE32(v.data() + ulAt, ul);
    ulAt += 4;
  }
  if (ulLength > 0) std::memcpy(v.data() + ulAt, pText, ulLength);
  return _socketSendAll(iSocket, v.data(), v.size());
}

/* Sends a client text request: the text and its NUL. */
int _socketSendText(int iSocket, uint32_t ulCode, std::initializer_list<uint32_t> words, const char *pcText)
{
  return _socketSend(iSocket, ulCode, words, pcText, std::strlen(pcText) + 1);
}

void _socketClose(int iSocket)
{
  shutdown(iSocket, SHUT_RDWR);
  close(iSocket);
}

/*
** Reads the reply of one request.  Returns its code, or -1 when it could not
** be read.  A 666 reply puts its text in the error text.  The payload is
** kept in *pmsg (caller frees).
*/
int _socketReply(int iSocket, zor3socketMessage *pmsg, char **ppcErrorText)
{
  if (_iSOCKETread(iSocket, pmsg, ppcErrorText) != 0) return -1;
  if (pmsg->ulCode == SOCKET_RP_ERROR) {
    if (pmsg->pcPayload != nullptr)
      _socketSetText(ppcErrorText, pmsg->pcPayload);
    else
      _socketSetText(ppcErrorText, SOCKET_ERROR_ID);
  }
  return static_cast<int>(pmsg->ulCode);
}

/*
** A daemon that cannot serve a read answers with an error reply, then hangs
** up.  When the bytes received for a read begin with such a reply (and so
** could not be file data the daemon meant to send), its text, completed
** from the connection, becomes the error text.  Returns true for a refusal.
** A read of fewer than 12 bytes cannot be told apart from data.
*/
bool _socketReadRefused(int iSocket, const char *pc, int iGot, char **ppcErrorText)
{
  if (iGot < SOCKET_HEADER_SIZE) return false;
  const unsigned char *puc = reinterpret_cast<const unsigned char *>(pc);
  uint32_t ulTotal = obyteGetBE32(puc);
  if (obyteGetBE32(puc + 4) != SOCKET_VERSION || obyteGetBE32(puc + 8) != SOCKET_RP_ERROR ||
      ulTotal < SOCKET_HEADER_SIZE || ulTotal > SOCKET_MAX_ERROR)
    return false;
  char acReply[SOCKET_MAX_ERROR];
  size_t ulHave = std::min<size_t>(static_cast<size_t>(iGot), ulTotal);
  std::memcpy(acReply, pc, ulHave);
  while (ulHave < ulTotal) {
    ssize_t l = recv(iSocket, acReply + ulHave, ulTotal - ulHave, 0);
    if (l < 0 && errno == EINTR) continue;
    if (l <= 0) break;
    ulHave += static_cast<size_t>(l);
  }
  _socketSetError(ppcErrorText, acReply + SOCKET_HEADER_SIZE, ulHave - SOCKET_HEADER_SIZE);
  return true;
}

/* The key of this process's conversations (see iSOCKETsetInstance). */
struct _socketClientKey {
  std::mutex    mutex;
  bool          boPinned = false;
  std::string   strInstance;
  unsigned char aucKey[AUTHKEY_SIZE] = {};
  int           rc = 0;
  std::string   strWhy;
};
_socketClientKey gkeyClient;

/* The instance and key of a new conversation.  Returns 0, or the code of
   authkeyLoad with its text in strWhy. */
int _socketClientKey(std::string &strInstance, unsigned char *pucKey, std::string &strWhy)
{
  std::lock_guard<std::mutex> lock(gkeyClient.mutex);
  if (gkeyClient.boPinned) {
    strInstance = gkeyClient.strInstance;
    std::memcpy(pucKey, gkeyClient.aucKey, AUTHKEY_SIZE);
    strWhy = gkeyClient.strWhy;
    return gkeyClient.rc;
  }
  const char *pc = std::getenv("DB2INSTANCE");
  if (pc != nullptr && pc[0] != '\0') {
    strInstance = pc;
  } else {
    char *pcItem = static_cast<char *>(configUseItem(CONFIG_ITEM_DB2INSTANCE, 1));
    strInstance = pcItem != nullptr ? pcItem : "";
    std::free(pcItem);
  }
  return authkeyLoad(strInstance.c_str(), pucKey, &strWhy);
}

/*
** Proves the instance secret on a new connection: 14 with the instance,
** the challenge back, 15 with the proof, 501 back.  Returns 0, or -2 with
** the error text (the connection is left to the caller).
*/
int _socketAuthenticate(int iSocket, char **ppcErrorText)
{
  std::string strInstance, strWhy;
  unsigned char aucKey[AUTHKEY_SIZE];
  if (_socketClientKey(strInstance, aucKey, strWhy) != 0) {
    OPENSSL_cleanse(aucKey, sizeof aucKey);
    _socketSetText(ppcErrorText, ("Instance secret unusable: " + strWhy).c_str());
    return -2;
  }
  int iResult = -2;
  zor3socketMessage msg{};
  unsigned char aucProof[AUTHKEY_PROOF_SIZE];
  if (strInstance.size() > SOCKET_MAX_TEXT) {
    _socketSetText(ppcErrorText, "Bad Request, invalid size");
  } else if (_socketSendText(iSocket, SOCKET_RQ_HELLO, {}, strInstance.c_str()) != 0) {
    _socketSetSystem(ppcErrorText, errno);
  } else {
    int iCode = _socketReply(iSocket, &msg, ppcErrorText);
    if (iCode == SOCKET_RP_DONE && msg.ulLength == AUTHKEY_CHALLENGE_SIZE && msg.pcPayload != nullptr &&
        authkeyProof(aucKey, strInstance.c_str(), reinterpret_cast<unsigned char *>(msg.pcPayload), aucProof) == 0) {
      if (_socketSend(iSocket, SOCKET_RQ_PROOF, {}, aucProof, sizeof aucProof) != 0) {
        _socketSetSystem(ppcErrorText, errno);
      } else {
        std::free(msg.pcPayload);
        msg = zor3socketMessage{};
        iCode = _socketReply(iSocket, &msg, ppcErrorText);
        if (iCode == SOCKET_RP_DONE) iResult = 0;
        else if (iCode != SOCKET_RP_ERROR && iCode >= 0) _socketSetText(ppcErrorText, "Authentication failed");
      }
    } else if (iCode == SOCKET_RP_DONE) {
      _socketSetText(ppcErrorText, "Authentication failed");
    }
  }
  std::free(msg.pcPayload);
  OPENSSL_cleanse(aucKey, sizeof aucKey);
  return iResult;
}

/* Looks the host and the service up, connects and authenticates.  Returns
   the socket, -1 when no daemon could be reached, -2 when the conversation
   was refused. */
int _socketOpen(const char *pcHost, char **ppcErrorText)
{
  hostent *phostent = ptSOCKETgetHostDescriptor(pcHost, ppcErrorText);
  if (phostent == nullptr) return -1;
  servent *pservent = ptSOCKETgetServiceDescriptor(SOCKET_SERVICE, SOCKET_PROTOCOL, ppcErrorText);
  if (pservent == nullptr) return -1;
  int iSocket = iSOCKETconnect(pservent, phostent, ppcErrorText);
  if (iSocket < 0) return -1;
  if (_socketAuthenticate(iSocket, ppcErrorText) != 0) {
    _socketClose(iSocket);
    return -2;
  }
  return iSocket;
}

/* Storage of the look-ups of the calling thread. */
struct _socketHostStore {
  hostent           hostent_;
  std::vector<char> vBuffer;
};
struct _socketServiceStore {
  servent           servent_;
  std::vector<char> vBuffer;
  std::string       strName, strProto;
  char             *apcAliases[1];
};
thread_local _socketHostStore gstoreHost;
thread_local _socketServiceStore gstoreService;

/* ---------------------------------------------------------- service side */

/* Conversation state of the service side. */
struct _socketConversation {
  bool        boAuthenticated = false;
  bool        boChallenge = false;  /* a challenge was sent (14) */
  unsigned char aucChallenge[AUTHKEY_CHALLENGE_SIZE] = {};
  std::string strInstance;          /* instance of the conversation (14) */
  std::string strUser;              /* its instance user */
  std::string strPeer;              /* the peer's address, for messages */
  sockaddr_in addrPeer{};
  dmguardFiles files;               /* what file requests may reach */
  int         iFile = -1;           /* file of request 7 */
  std::string strDir;               /* private directory, "" until needed */
  std::string strControl;           /* control file of request 3 or 13, or "" */
  std::string strOutput;            /* output file of the last run */
  std::string strCommand;           /* command of the last run */
  std::vector<unsigned char> vRead; /* buffer of request 8 */
};

/* Makes the private directory once.  Returns 0, or -1 with errno. */
int _socketEnsureDir(_socketConversation &conv)
{
  if (!conv.strDir.empty()) return 0;
  char acTemplate[] = "/tmp/zavXXXXXX";
  if (mkdtemp(acTemplate) == nullptr) return -1;
  conv.strDir = acTemplate;
  return 0;
}

/* Makes a new private file in the directory.  Returns its descriptor (mode
   0600) and its name, or -1 with errno. */
int _socketNewFile(_socketConversation &conv, const char *pcStem, std::string &strName)
{
  if (_socketEnsureDir(conv) != 0) return -1;
  std::string strTemplate = conv.strDir + "/" + pcStem + "XXXXXX";
  std::vector<char> v(strTemplate.begin(), strTemplate.end());
  v.push_back('\0');
  int iFd = mkostemp(v.data(), O_CLOEXEC);
  if (iFd < 0) return -1;
  strName = v.data();
  return iFd;
}

/* Writes all bytes.  Returns 0, or -1 with errno. */
int _socketWriteAll(int iFd, const char *pc, size_t ulLength)
{
  while (ulLength > 0) {
    ssize_t l = write(iFd, pc, ulLength);
    if (l < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    pc += l;
    ulLength -= static_cast<size_t>(l);
  }
  return 0;
}

/* The daemon's locale code page: the mixed CCSID of the conversion context
   (the single-byte one while no mixed CCSID has been set). */
uint16_t _socketLocaleCCSID(void)
{
  uint16_t usCCSID = gpcnvft != nullptr ? gpcnvft->tripleLocale.usMixed : gccsidMixed;
  if (usCCSID == 0) usCCSID = gpcnvft != nullptr ? gpcnvft->tripleLocale.usSBCS : gccsidSBCS;
  return usCCSID;
}

/* Converts ulLength bytes between two CCSIDs.  Returns 0 or a reason code. */
int _socketConvert(const char *pc, size_t ulLength, uint16_t usFrom, uint16_t usTo, std::string &strOut)
{
  strOut.clear();
  if (ulLength == 0) return 0;
  ochar charSource{}, charTarget{};
  int rc = ocharInitFromFixed(&charSource, pc, static_cast<int32_t>(ulLength), usFrom);
  if (rc == 0) rc = ocharInit(&charTarget, 0, usTo);
  if (rc == 0) rc = ocnvftConvert(nullptr, &charSource, &charTarget);
  if (rc == 0 && charTarget.ilBU > 0 && charTarget.pcData != nullptr)
    strOut.assign(_charText(&charTarget), static_cast<size_t>(charTarget.ilBU));
  if (charSource.usFlags & OCHAR_OWNED) std::free(charSource.pcData);
  if (charTarget.usFlags & OCHAR_OWNED) std::free(charTarget.pcData);
  return rc;
}

/* Sends a reply with a text payload (no NUL). */
int _socketSendLine(int iSocket, const char *pc, size_t ulLength)
{
  return _socketSend(iSocket, SOCKET_RP_LINE, {}, pc, ulLength);
}

/* Size of an open file: a block device is sized by seeking to its end. */
int64_t _socketFileSize(int iFd, const struct stat &st)
{
  if (S_ISBLK(st.st_mode)) {
    off_t lEnd = lseek(iFd, 0, SEEK_END);
    lseek(iFd, 0, SEEK_SET);
    return lEnd < 0 ? 0 : static_cast<int64_t>(lEnd);
  }
  return static_cast<int64_t>(st.st_size);
}

/* Request 2: the instance's db2nodes.cfg, one line per reply. */
void _socketNodes(int iSocket, const char *pcInstance)
{
  char *pcHome = configUseItemInLst(CONFIG_ITEM_INSTHOMES, 1, pcInstance);
  if (pcHome == nullptr) {
    iSOCKETsendError(iSocket, 0, SOCKET_ERROR_ID, "Bad Configuration file");
    return;
  }
  std::string strPath = std::string(pcHome) + "/sqllib/db2nodes.cfg";
  std::free(pcHome);
  FILE *pfile = std::fopen(strPath.c_str(), "re");
  if (pfile == nullptr) {
    char acHost[256];
    if (toolsGetHostName(acHost, sizeof(acHost)) != 0) acHost[0] = '\0';
    char acLine[SOCKET_MAX_LINE + 1];
    int iLen = std::snprintf(acLine, sizeof(acLine), "0 %s 0", acHost);
    _socketSendLine(iSocket, acLine, static_cast<size_t>(std::min<int>(iLen, SOCKET_MAX_LINE)));
  } else {
    char acLine[SOCKET_MAX_LINE + 1];
    while (std::fgets(acLine, sizeof(acLine), pfile) != nullptr) {
      size_t ulLen = std::strlen(acLine);
      if (ulLen > 0 && acLine[ulLen - 1] == '\n') acLine[ulLen - 1] = '\0';
      toolsAllTrimStr(acLine, acLine);
      if (_socketSendLine(iSocket, acLine, std::strlen(acLine)) != 0) {
        char *pcText = nullptr;
        _socketSetSystem(&pcText, errno);
        iSOCKETsendError(iSocket, 0, SOCKET_ERROR_ID, pcText);
        break;
      }
    }
    std::fclose(pfile);
  }
  _socketSend(iSocket, SOCKET_RP_DONE, {}, nullptr, 0);
}

/* Requests 3 and 13: save the control file. */
void _socketSave(int iSocket, _socketConversation &conv, const zor3socketMessage &msg)
{
  const char *pcText = msg.pcPayload != nullptr ? msg.pcPayload : "";
  size_t ulLength = strnlen(pcText, msg.ulLength);
  std::string strConverted;
  if (msg.ulCode == SOCKET_RQ_SAVEUTF8) {
    if (_socketConvert(pcText, ulLength, kusUTF8, _socketLocaleCCSID(), strConverted) != 0) {
      iSOCKETsendError(iSocket, 0, SOCKET_ERROR_ID, "Control file conversion failed");
      return;
    }
    pcText = strConverted.data();
    ulLength = strConverted.size();
  }
  std::string strName;
  int iFd = _socketNewFile(conv, "ctl", strName);
  int iErrno = 0;
  if (iFd < 0 || _socketWriteAll(iFd, pcText, ulLength) != 0) iErrno = errno;
  if (iFd >= 0 && close(iFd) != 0 && iErrno == 0) iErrno = errno;
  if (iErrno != 0) {
    if (iFd >= 0) unlink(strName.c_str());
    char *pcError = nullptr;
    _socketSetSystem(&pcError, iErrno);
    iSOCKETsendError(iSocket, 0, SOCKET_ERROR_ID, pcError);
    return;
  }
  conv.strControl = strName;
  _socketSend(iSocket, SOCKET_RP_DONE, {}, nullptr, 0);
}

/* Ends a run's child: 128 + the signal, or the exit status. */
int _socketRunStatus(int iStatus)
{
  if (WIFEXITED(iStatus)) return WEXITSTATUS(iStatus);
  if (WIFSIGNALED(iStatus)) return 128 + WTERMSIG(iStatus);
  return 255;
}

/*
** Requests 4 and 11: run db2zav with the allowed arguments and send its
** messages back, then 501 with its exit status.  Returns 0, or -1 after an
** error reply for refused arguments (the conversation ends).
*/
int _socketRun(int iSocket, _socketConversation &conv, const zor3socketMessage &msg, char **ppcErrorText)
{
  const char *pcArguments = msg.pcPayload != nullptr ? msg.pcPayload : "";
  if (strnlen(pcArguments, msg.ulLength) > SOCKET_MAX_TEXT) {
    iSOCKETsendError(iSocket, 0, SOCKET_ERROR_ID, "Bad Request, invalid size");
    return 0;
  }
  dmguardRun run;
  std::string strWhy;
  if (dmguardRunArguments(conv.strInstance.c_str(), pcArguments, &run, &strWhy) != 0) {
    omsgsFMTEDO(ZOR0667E, conv.strPeer.c_str(), strWhy.c_str());
    _socketSetText(ppcErrorText, strWhy.c_str());
    iSOCKETsendError(iSocket, 0, SOCKET_ERROR_ID, strWhy.c_str());
    return -1;
  }
  const char *pcTop = std::getenv("TOPZAV");
  if (pcTop == nullptr || pcTop[0] == '\0') {
    iSOCKETsendError(iSocket, 0, SOCKET_ERROR_ID, "TOPZAV is not defined");
    return 0;
  }
  std::string strOutput, strMessages;
  int iFdOut = _socketNewFile(conv, "out", strOutput);
  int iErrno = iFdOut < 0 ? errno : 0;
  if (iFdOut >= 0) close(iFdOut);
  int iFdMsg = iErrno == 0 ? _socketNewFile(conv, "msg", strMessages) : -1;
  if (iErrno == 0 && iFdMsg < 0) iErrno = errno;
  if (iErrno != 0) {
    char *pcError = nullptr;
    _socketSetSystem(&pcError, iErrno);
    iSOCKETsendError(iSocket, 0, SOCKET_ERROR_ID, pcError);
    return 0;
  }
  conv.strOutput = strOutput;

  std::vector<std::string> vArgv = {std::string(pcTop) + "/bin/db2zav", "-m", strMessages};
  vArgv.insert(vArgv.end(), run.vArgs.begin(), run.vArgs.end());
  if (!conv.strControl.empty()) vArgv.insert(vArgv.end(), {"-f", conv.strControl});
  vArgv.insert(vArgv.end(), {"-o", strOutput});
  conv.strCommand.clear();
  for (const std::string &str : vArgv) conv.strCommand += (conv.strCommand.empty() ? "" : " ") + str;
  std::vector<char *> vpc;
  for (std::string &str : vArgv) vpc.push_back(str.data());
  vpc.push_back(nullptr);

  /* the child is waited for here, whatever the daemon program does with SIGCHLD */
  struct sigaction actOld {}, actDefault {};
  actDefault.sa_handler = SIG_DFL;
  sigemptyset(&actDefault.sa_mask);
  sigaction(SIGCHLD, &actDefault, &actOld);
  int iRunStatus = 255;
  pid_t pid = fork();
  if (pid == 0) {
    int iFdNull = open("/dev/null", O_RDONLY);
    if (iFdNull >= 0) dup2(iFdNull, 0);
    dup2(iFdMsg, 1);
    dup2(iFdMsg, 2);
    if (run.boPassword)
      setenv("ZAV_PASSWORD", run.strPassword.c_str(), 1);
    else
      unsetenv("ZAV_PASSWORD");
    execv(vpc[0], vpc.data());
    const char *pcFail = "db2zav could not be started\n";
    if (write(2, pcFail, std::strlen(pcFail)) < 0) {
    }
    _exit(127);
  }
  OPENSSL_cleanse(run.strPassword.data(), run.strPassword.size());
  close(iFdMsg);
  if (pid > 0) {
    int iStatus = 0;
    pid_t pidDone;
    while ((pidDone = waitpid(pid, &iStatus, 0)) < 0 && errno == EINTR) {
    }
    if (pidDone == pid) iRunStatus = _socketRunStatus(iStatus);
  }
  sigaction(SIGCHLD, &actOld, nullptr);

  FILE *pfile = std::fopen(strMessages.c_str(), "re");
  if (pfile == nullptr) {
    char *pcError = nullptr;
    _socketSetSystem(&pcError, errno);
    iSOCKETsendError(iSocket, 0, SOCKET_ERROR_ID, pcError);
    unlink(strMessages.c_str());
    return 0;
  }
  char acLine[SOCKET_MAX_LINE + 1];
  while (std::fgets(acLine, sizeof(acLine), pfile) != nullptr) {
    size_t ulLen = std::strlen(acLine);
    if (ulLen > 0 && acLine[ulLen - 1] == '\n') acLine[--ulLen] = '\0';
    std::string strLine(acLine, ulLen);
    if (msg.ulCode == SOCKET_RQ_RUNUTF8) {
      std::string strConverted;
      if (_socketConvert(acLine, ulLen, _socketLocaleCCSID(), kusUTF8, strConverted) != 0) {
        iSOCKETsendError(iSocket, 0, SOCKET_ERROR_ID, "Control file conversion failed");
        break;
      }
      strLine = strConverted;
    }
    if (_socketSendLine(iSocket, strLine.data(), strLine.size()) != 0)
      iSOCKETsendError(iSocket, 0, SOCKET_ERROR_ID, "Cant send message");
  }
  std::fclose(pfile);
  unlink(strMessages.c_str());
  _socketSend(iSocket, SOCKET_RP_DONE, {static_cast<uint32_t>(iRunStatus)}, nullptr, 0);
  return 0;
}

/* Request 5: only the instance user, whose identity the process has.
   Returns 0, or -1 after an error reply. */
int _socketUser(int iSocket, const _socketConversation &conv, const char *pcUser)
{
  if (conv.strUser != pcUser) {
    std::string strWhy = std::string("User ") + pcUser + " not allowed";
    omsgsFMTEDO(ZOR0667E, conv.strPeer.c_str(), strWhy.c_str());
    iSOCKETsendError(iSocket, 0, SOCKET_ERROR_ID, "User not allowed");
    return -1;
  }
  _socketSend(iSocket, SOCKET_RP_DONE, {}, nullptr, 0);
  return 0;
}

/* Becomes the instance user for good.  Returns 0, or -1 with the reason. */
int _socketBecome(_socketConversation &conv, std::string &strWhy)
{
  uid_t uid = 0;
  gid_t gid = 0;
  if (authkeyInstanceUser(conv.strInstance.c_str(), &conv.strUser, &uid, &gid, &strWhy) != 0) return -1;
  if (uid == 0) {
    strWhy = "the instance user " + conv.strUser + " is root";
    return -1;
  }
  if (geteuid() == 0) {
    if (initgroups(conv.strUser.c_str(), gid) != 0 || setgid(gid) != 0 || setuid(uid) != 0) {
      char ac[256];
      strWhy = "cannot become " + conv.strUser + ": " + strerror_r(errno, ac, sizeof ac);
      return -1;
    }
  } else if (geteuid() != uid || getuid() != uid) {
    strWhy = "the daemon cannot serve as " + conv.strUser;
    return -1;
  }
  umask(022);
  return 0;
}

/* Request 14: the peer's host and the instance's key are checked, a
   challenge goes back.  Returns 0, or -1 with the reason (no reply yet). */
int _socketHello(int iSocket, _socketConversation &conv, const zor3socketMessage &msg, std::string &strWhy)
{
  const char *pcInstance = msg.pcPayload != nullptr ? msg.pcPayload : "";
  size_t ulLength = strnlen(pcInstance, msg.ulLength);
  if (conv.boChallenge || ulLength == 0 || ulLength > SOCKET_MAX_TEXT) {
    strWhy = "malformed hello";
    return -1;
  }
  conv.strInstance.assign(pcInstance, ulLength);
  if (dmguardPeer(conv.strInstance.c_str(), conv.addrPeer, &strWhy) != 0) return -1;
  unsigned char aucKey[AUTHKEY_SIZE];
  int rc = authkeyLoad(conv.strInstance.c_str(), aucKey, &strWhy);
  OPENSSL_cleanse(aucKey, sizeof aucKey);
  if (rc != 0) return -1;
  if (authkeyRandom(conv.aucChallenge, sizeof conv.aucChallenge) != 0) {
    strWhy = "no random bytes";
    return -1;
  }
  conv.boChallenge = true;
  _socketSend(iSocket, SOCKET_RP_DONE, {}, conv.aucChallenge, sizeof conv.aucChallenge);
  return 0;
}

/* Request 15: the proof is checked, the process becomes the instance user.
   Returns 0, or -1 with the reason (no reply yet). */
int _socketProof(int iSocket, _socketConversation &conv, const zor3socketMessage &msg, std::string &strWhy)
{
  if (!conv.boChallenge || msg.ulLength != AUTHKEY_PROOF_SIZE || msg.pcPayload == nullptr) {
    strWhy = "proof without a challenge, or of a wrong size";
    return -1;
  }
  conv.boChallenge = false;
  unsigned char aucKey[AUTHKEY_SIZE], aucProof[AUTHKEY_PROOF_SIZE];
  int rc = authkeyLoad(conv.strInstance.c_str(), aucKey, &strWhy);
  if (rc == 0) rc = authkeyProof(aucKey, conv.strInstance.c_str(), conv.aucChallenge, aucProof);
  OPENSSL_cleanse(aucKey, sizeof aucKey);
  if (rc != 0) {
    if (strWhy.empty()) strWhy = "no proof could be computed";
    return -1;
  }
  if (!authkeySame(aucProof, reinterpret_cast<const unsigned char *>(msg.pcPayload))) {
    strWhy = "wrong proof for instance " + conv.strInstance;
    return -1;
  }
  if (_socketBecome(conv, strWhy) != 0) return -1;
  conv.boAuthenticated = true;
  _socketSend(iSocket, SOCKET_RP_DONE, {}, nullptr, 0);
  return 0;
}

/* Request 6: does the file exist; {status, blocks}. */
void _socketExist(int iSocket, uint32_t ulBlockSize, const char *pcPath)
{
  int32_t ilStatus = 0;
  uint32_t ulBlocks = 0;
  int iFd = open(pcPath, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (iFd < 0) {
    ilStatus = errno == EACCES ? -2 : -1;
  } else {
    struct stat st;
    if (fstat(iFd, &st) == 0 && ulBlockSize != 0) {
      uint64_t ullBlocks = static_cast<uint64_t>(_socketFileSize(iFd, st)) / ulBlockSize;
      ulBlocks = ullBlocks > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(ullBlocks);
    }
    close(iFd);
  }
  if (_socketSend(iSocket, SOCKET_RP_DONE, {static_cast<uint32_t>(ilStatus), ulBlocks}, nullptr, 0) != 0)
    iSOCKETsendError(iSocket, 0, SOCKET_ERROR_ID, "Cant send message");
}

/* Request 7: opens the conversation's file.  Returns 0, or -1 after an error reply. */
int _socketOpenFile(int iSocket, _socketConversation &conv, const char *pcPath)
{
  if (conv.iFile >= 0) {
    close(conv.iFile);
    conv.iFile = -1;
  }
  struct stat st;
  if (stat(pcPath, &st) != 0) {
    iSOCKETsendError(iSocket, 0, SOCKET_ERROR_ID, "Cant find file size");
    return -1;
  }
  conv.iFile = open(pcPath, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (conv.iFile < 0) {
    iSOCKETsendError(iSocket, 0, SOCKET_ERROR_ID, "Cant open file");
    return -1;
  }
  struct stat stOpen;
  uint64_t ullSize = 0;
  if (fstat(conv.iFile, &stOpen) == 0) ullSize = static_cast<uint64_t>(_socketFileSize(conv.iFile, stOpen));
  _socketSend(iSocket, SOCKET_RP_DONE,
              {static_cast<uint32_t>(ullSize >> 32), static_cast<uint32_t>(ullSize & 0xFFFFFFFFu)}, nullptr, 0);
  return 0;
}

/* Request 8: sends ulSize raw bytes (zeros past the end of the file).
   Returns 0, or -1 after an error reply. */
int _socketReadFile(int iSocket, _socketConversation &conv, uint32_t ulSize, int32_t ilBlock)
{
  if (ulSize > SOCKET_MAX_READ) {
    iSOCKETsendError(iSocket, 0, SOCKET_ERROR_ID, "Bad Request, invalid size");
    return -1;
  }
  if (ilBlock >= 0 &&
      lseek(conv.iFile, static_cast<off_t>(static_cast<int64_t>(ulSize) * ilBlock), SEEK_SET) < 0) {
    iSOCKETsendError(iSocket, 0, SOCKET_ERROR_ID, "lseek into file error");
    return -1;
  }
  conv.vRead.assign(ulSize, 0);
  size_t ulGot = 0;
  while (ulGot < ulSize) {
    ssize_t l = read(conv.iFile, conv.vRead.data() + ulGot, ulSize - ulGot);
    if (l < 0 && errno == EINTR) continue;
    if (l < 0) {
      iSOCKETsendError(iSocket, 0, SOCKET_ERROR_ID, "Read file error");
      return -1;
    }
    if (l == 0) break;
    ulGot += static_cast<size_t>(l);
  }
  if (_socketSendAll(iSocket, conv.vRead.data(), ulSize) != 0)
    iSOCKETsendError(iSocket, 0, SOCKET_ERROR_ID, "Cant send message");
  return 0;
}

/* Removes the private directory and what it holds. */
void _socketRemoveDir(_socketConversation &conv)
{
  if (conv.strDir.empty()) return;
  std::error_code ec;
  std::filesystem::remove_all(conv.strDir, ec);
  conv.strDir.clear();
}

}  // namespace

/* ================================================================ shared */

char *pzcSOCKETsetText(const char *pcText, int iLength)
{
  if (iLength < 0) iLength = 0;
  char *pc = static_cast<char *>(std::malloc(static_cast<size_t>(iLength) + 1));
  if (pc == nullptr) return nullptr;
  if (iLength > 0 && pcText != nullptr) std::memcpy(pc, pcText, static_cast<size_t>(iLength));
  pc[iLength] = '\0';
  return pc;
}

hostent *ptSOCKETgetHostDescriptor(const char *pcHost, char **ppcErrorText)
{
  char acLocal[256];
  if (pcHost == nullptr) {
    if (toolsGetHostName(acLocal, sizeof(acLocal)) != 0) {
      _socketSetSystem(ppcErrorText, errno);
      return nullptr;
    }
    pcHost = acLocal;
  }
  if (std::strlen(pcHost) <= SOCKET_MAX_HOST) {
    _socketHostStore &store = gstoreHost;
    if (store.vBuffer.size() < 2048) store.vBuffer.resize(2048);
    for (int iTry = 0; iTry < kiLookupTries; iTry++) {
      if (iTry > 0) sleep(1);
      hostent *presult = nullptr;
      int iHErrno = 0;
      int rc;
      while ((rc = gethostbyname_r(pcHost, &store.hostent_, store.vBuffer.data(), store.vBuffer.size(), &presult,
                                   &iHErrno)) == ERANGE && store.vBuffer.size() < (1u << 20))
        store.vBuffer.resize(store.vBuffer.size() * 2);
      if (rc == 0 && presult != nullptr) return presult;
    }
  }
  char acText[300];
  std::snprintf(acText, sizeof(acText), "host timeout( %.*s, %d sec.)", SOCKET_MAX_HOST, pcHost, kiLookupTries);
  _socketSetText(ppcErrorText, acText);
  return nullptr;
}

servent *ptSOCKETgetServiceDescriptor(const char *pcService, const char *pcProtocol, char **ppcErrorText)
{
  _socketServiceStore &store = gstoreService;
  const char *pcPort = std::getenv(SOCKET_PORT_ENV);
  if (pcPort != nullptr && std::strcmp(pcService, SOCKET_SERVICE) == 0) {
    char *pcEnd = nullptr;
    long lPort = std::strtol(pcPort, &pcEnd, 10);
    if (pcEnd != pcPort && *pcEnd == '\0' && lPort > 0 && lPort < 65536) {
      store.strName = pcService;
      store.strProto = pcProtocol != nullptr ? pcProtocol : SOCKET_PROTOCOL;
      store.apcAliases[0] = nullptr;
      store.servent_.s_name = store.strName.data();
      store.servent_.s_aliases = store.apcAliases;
      store.servent_.s_port = static_cast<int>(htons(static_cast<uint16_t>(lPort)));
      store.servent_.s_proto = store.strProto.data();
      return &store.servent_;
    }
  }
  if (store.vBuffer.size() < 1024) store.vBuffer.resize(1024);
  for (int iTry = 0; iTry < kiLookupTries; iTry++) {
    if (iTry > 0) sleep(1);
    servent *presult = nullptr;
    int rc;
    while ((rc = getservbyname_r(pcService, pcProtocol, &store.servent_, store.vBuffer.data(),
                                 store.vBuffer.size(), &presult)) == ERANGE &&
           store.vBuffer.size() < (1u << 20))
      store.vBuffer.resize(store.vBuffer.size() * 2);
    if (rc == 0 && presult != nullptr) return presult;
  }
  char acText[300];
  std::snprintf(acText, sizeof(acText), "services timeout ( %.200s, %d sec.)", pcService, kiLookupTries);
  _socketSetText(ppcErrorText, acText);
  return nullptr;
}

int iSOCKETconnect(const servent *pservent, const hostent *phostent, char **ppcErrorText)
{
  if (pservent == nullptr || phostent == nullptr || phostent->h_addr_list == nullptr ||
      phostent->h_addr_list[0] == nullptr || phostent->h_addrtype != AF_INET) {
    _socketSetText(ppcErrorText, "no address for the host");
    return -1;
  }
  int iType = pservent->s_proto != nullptr && std::strcmp(pservent->s_proto, "udp") == 0 ? SOCK_DGRAM : SOCK_STREAM;
  int iErrno = 0;
  for (char **ppc = phostent->h_addr_list; *ppc != nullptr; ppc++) {
    int iSocket = socket(AF_INET, iType | SOCK_CLOEXEC, 0);
    if (iSocket < 0) {
      _socketSetSystem(ppcErrorText, errno);
      return -1;
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = static_cast<in_port_t>(pservent->s_port);
    std::memcpy(&addr.sin_addr, *ppc, std::min<size_t>(sizeof(addr.sin_addr), phostent->h_length));
    if (connect(iSocket, reinterpret_cast<sockaddr *>(&addr), sizeof(addr)) == 0) return iSocket;
    iErrno = errno;
    close(iSocket);
  }
  _socketSetSystem(ppcErrorText, iErrno);
  return -1;
}

int iSOCKETsendError(int iSocket, int iResult, const char *pcIdentifier, const char *pcText)
{
  if (_socketSetBuffer(iSocket, SO_SNDBUF, SOCKET_MAX_ERROR) != 0) {
    omsgsFMTEDO(ZOR0666F, "error on socket sdn option");
    pcIdentifier = SOCKET_ERROR_ID;
    iResult = SOCKET_RC_ERROR;
  }
  if (pcIdentifier == nullptr) pcIdentifier = SOCKET_ERROR_ID;
  if (pcText == nullptr) pcText = "";
  size_t ulId = std::min<size_t>(std::strlen(pcIdentifier), SOCKET_MAX_ERROR - SOCKET_HEADER_SIZE - 1);
  size_t ulText = std::min(std::strlen(pcText), SOCKET_MAX_ERROR - SOCKET_HEADER_SIZE - 1 - ulId);
  std::string str(pcIdentifier, ulId);
  str += ' ';
  str.append(pcText, ulText);
  if (_socketSend(iSocket, SOCKET_RP_ERROR, {}, str.data(), str.size()) != 0) {
    omsgsFMTEDO(ZOR0666F, "Cant send message");
    return SOCKET_RC_ERROR;
  }
  return iResult;
}

/*
** _socketRecvAll
**   Receives exactly ulSize bytes into pv.  A receive that times out sets
**   *ppcError to the stall text, a failing one *piErrno; kiEmptyTries empty
**   receives in a row (one second apart, each traced with pcTrace) set
**   *ppcError to pcEmpty.
*/
static void _socketRecvAll(int iSocket, void *pv, size_t ulSize, const char *pcEmpty, const char *pcTrace,
                           int *piErrno, const char **ppcError)
{
  unsigned char *puc = static_cast<unsigned char *>(pv);
  size_t ulGot = 0;
  int iEmpty = 0;
  while (ulGot < ulSize && *piErrno == 0 && *ppcError == nullptr) {
    ssize_t l = recv(iSocket, puc + ulGot, ulSize - ulGot, 0);
    if (l < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK)
        *ppcError = kpcStalled;
      else if (errno != EINTR)
        *piErrno = errno;
    } else if (l == 0) {
      if (++iEmpty >= kiEmptyTries) {
        *ppcError = pcEmpty;
      } else {
        omsgsFMTEDO(ZOR0666F, pcTrace);
        sleep(1);
      }
    } else {
      ulGot += static_cast<size_t>(l);
      iEmpty = 0;
    }
  }
}

int _iSOCKETread(int iSocket, zor3socketMessage *pmsg, char **ppcErrorText)
{
  *pmsg = zor3socketMessage{};
  const char *pcError = nullptr;   /* a text of this module, else the system's */
  int iErrno = 0;
  unsigned char aucHead[SOCKET_HEADER_SIZE];
  uint32_t ulTotal = 0, ulVersion = 0;

  if (_socketSetBuffer(iSocket, SO_RCVBUF, 512) != 0) {
    iErrno = errno;
  } else {
    _socketRecvAll(iSocket, aucHead, SOCKET_HEADER_SIZE, "Error receive empty request", "Empty socket", &iErrno,
                   &pcError);
  }
  if (iErrno == 0 && pcError == nullptr) {
    ulTotal = obyteGetBE32(aucHead);
    ulVersion = obyteGetBE32(aucHead + 4);
    if (ulTotal < SOCKET_HEADER_SIZE || ulTotal > SOCKET_MAX_MESSAGE)
      pcError = "Bad Request, invalid size";
    else if (ulVersion != SOCKET_VERSION)
      pcError = "Client/Server Uncompatible Versions";
  }
  if (iErrno == 0 && pcError == nullptr) {
    pmsg->ulVersion = ulVersion;
    pmsg->ulCode = obyteGetBE32(aucHead + 8);
    pmsg->ulLength = ulTotal - SOCKET_HEADER_SIZE;
    if (pmsg->ulLength > 0) {
      pmsg->pcPayload = static_cast<char *>(std::calloc(pmsg->ulLength + 1, 1));
      if (pmsg->pcPayload == nullptr) pcError = "System is under stress";
      if (pcError == nullptr)
        _socketRecvAll(iSocket, pmsg->pcPayload, pmsg->ulLength, "Error receive unterminated request",
                       "Socket is empty", &iErrno, &pcError);
    }
  }
  if (iErrno == 0 && pcError == nullptr) return 0;

  std::free(pmsg->pcPayload);
  *pmsg = zor3socketMessage{};
  char *pcText = nullptr;
  if (pcError != nullptr)
    _socketSetText(&pcText, pcError);
  else
    _socketSetSystem(&pcText, iErrno);
  if (ppcErrorText != nullptr) *ppcErrorText = pcText;
  return iSOCKETsendError(iSocket, SOCKET_RC_ERROR, SOCKET_ERROR_ID, pcText);
}

/* ================================================================ client */

int iSOCKETsetInstance(const char *pcInstance)
{
  std::lock_guard<std::mutex> lock(gkeyClient.mutex);
  gkeyClient.boPinned = true;
  gkeyClient.strInstance = pcInstance != nullptr ? pcInstance : "";
  gkeyClient.rc = authkeyLoad(gkeyClient.strInstance.c_str(), gkeyClient.aucKey, &gkeyClient.strWhy);
  return gkeyClient.rc;
}

int iSOCKETstartServices(void)
{
  return 0;
}

void vSOCKETcloseServices(void)
{
}

int iSOCKETtestDaemon(const char *pcHost, char **ppcErrorText)
{
  _socketClearError(ppcErrorText);
  int iSocket = _socketOpen(pcHost, ppcErrorText);
  if (iSocket < 0) return iSocket;
  if (_socketSetBuffer(iSocket, SO_SNDBUF, 512) != 0 || _socketSetBuffer(iSocket, SO_RCVBUF, 512) != 0 ||
      _socketSend(iSocket, SOCKET_RQ_PING, {}, nullptr, 0) != 0) {
    _socketSetSystem(ppcErrorText, errno);
    close(iSocket);
    return -2;
  }
  zor3socketMessage msg;
  int iCode = _socketReply(iSocket, &msg, ppcErrorText);
  std::free(msg.pcPayload);
  if (iCode < 0 || iCode == SOCKET_RP_ERROR) {
    close(iSocket);
    return -2;
  }
  _socketSend(iSocket, SOCKET_RQ_END, {}, nullptr, 0);
  _socketClose(iSocket);
  return 0;
}

int iSOCKETsaveFile(const char *pcHost, const char *pcText, char **ppcErrorText)
{
  _socketClearError(ppcErrorText);
  if (pcText == nullptr || std::strlen(pcText) > SOCKET_MAX_FILE) return -1;
  int iSocket = _socketOpen(pcHost, ppcErrorText);
  if (iSocket < 0) return -1;
  if (_socketSetBuffer(iSocket, SO_SNDBUF, SOCKET_MAX_MESSAGE) != 0 ||
      _socketSendText(iSocket, SOCKET_RQ_SAVE, {}, pcText) != 0) {
    _socketSetSystem(ppcErrorText, errno);
    close(iSocket);
    return -1;
  }
  zor3socketMessage msg;
  int iCode = _socketReply(iSocket, &msg, ppcErrorText);
  std::free(msg.pcPayload);
  if (iCode < 0 || iCode == SOCKET_RP_ERROR) {
    close(iSocket);
    return -1;
  }
  return iSocket;
}

int iSOCKETexecCmdLocal(int iSocket, const char *pcArguments, char **ppcErrorText)
{
  _socketClearError(ppcErrorText);
  if (pcArguments == nullptr) pcArguments = "";
  if (std::strlen(pcArguments) > SOCKET_MAX_TEXT) {
    _socketSetText(ppcErrorText, "Argument string too long");
    _socketSend(iSocket, SOCKET_RQ_END, {}, nullptr, 0);
    _socketClose(iSocket);
    return -1;
  }
  if (_socketSetBuffer(iSocket, SO_SNDBUF, SOCKET_MAX_MESSAGE) != 0 ||
      _socketSendText(iSocket, SOCKET_RQ_RUN, {}, pcArguments) != 0) {
    _socketSetSystem(ppcErrorText, errno);
    _socketClose(iSocket);
    return -1;
  }
  int iResult = -1;
  for (;;) {
    zor3socketMessage msg;
    int iCode = _socketReply(iSocket, &msg, ppcErrorText);
    if (iCode == SOCKET_RP_LINE) {
      std::string strLine = msg.pcPayload != nullptr ? msg.pcPayload : "";
      strLine += '\n';
      omsgsPrint(strLine.c_str(), static_cast<int>(strLine.size()));
      std::free(msg.pcPayload);
      continue;
    }
    /* the end of the run carries its exit status; anything else is a failure */
    const unsigned char *puc = reinterpret_cast<const unsigned char *>(msg.pcPayload);
    uint32_t ulStatus = 0;
    if (iCode == SOCKET_RP_DONE && puc != nullptr && obyteReadBE32(puc, puc + msg.ulLength, &ulStatus) &&
        ulStatus <= 255)
      iResult = static_cast<int>(ulStatus);
    else if (iCode == SOCKET_RP_DONE || (iCode >= 0 && iCode != SOCKET_RP_ERROR))
      _socketSetText(ppcErrorText, "The daemon gave no exit status for the run");
    std::free(msg.pcPayload);
    break;
  }
  if (_socketSend(iSocket, SOCKET_RQ_END, {}, nullptr, 0) != 0) {
    _socketSetSystem(ppcErrorText, errno);
    iResult = -1;
  }
  _socketClose(iSocket);
  return iResult;
}

int iSOCKETexistFile(const char *pcHost, const char *pcUser, const char *pcPath, uint32_t ulBlockSize,
                     int64_t *pilBlocks, char **ppcErrorText)
{
  _socketClearError(ppcErrorText);
  int64_t ilBlocksNone;
  if (pilBlocks == nullptr) pilBlocks = &ilBlocksNone;
  *pilBlocks = -1;
  if (pcUser == nullptr || pcPath == nullptr || std::strlen(pcUser) > SOCKET_MAX_TEXT ||
      std::strlen(pcPath) > SOCKET_MAX_PATH6) {
    _socketSetText(ppcErrorText, "Bad Request, invalid size");
    return -2;
  }
  int iSocket = _socketOpen(pcHost, ppcErrorText);
  if (iSocket < 0) return -2;
  if (_socketSetBuffer(iSocket, SO_SNDBUF, 512) != 0 || _socketSetBuffer(iSocket, SO_RCVBUF, 512) != 0 ||
      _socketSendText(iSocket, SOCKET_RQ_USER, {}, pcUser) != 0) {
    _socketSetSystem(ppcErrorText, errno);
    close(iSocket);
    return -2;
  }
  zor3socketMessage msg;
  int iCode = _socketReply(iSocket, &msg, ppcErrorText);
  std::free(msg.pcPayload);
  if (iCode < 0 || iCode == SOCKET_RP_ERROR) {
    close(iSocket);
    return iCode < 0 ? -1 : -2;
  }
  if (_socketSendText(iSocket, SOCKET_RQ_EXIST, {ulBlockSize}, pcPath) != 0) {
    _socketSetSystem(ppcErrorText, errno);
    close(iSocket);
    return -2;
  }
  iCode = _socketReply(iSocket, &msg, ppcErrorText);
  if (iCode < 0 || iCode == SOCKET_RP_ERROR) {
    std::free(msg.pcPayload);
    close(iSocket);
    return -2;
  }
  const unsigned char *puc = reinterpret_cast<const unsigned char *>(msg.pcPayload);
  const unsigned char *pucEnd = puc == nullptr ? nullptr : puc + msg.ulLength;
  uint32_t ulStatus = 0, ulBlocks = 0;
  int iStatus = -1;
  if (obyteReadBE32(puc, pucEnd, &ulStatus)) {
    iStatus = static_cast<int32_t>(ulStatus);
    if (iStatus != 0 && iStatus != -2) iStatus = -1;
    if (obyteReadBE32(puc + 4, pucEnd, &ulBlocks)) *pilBlocks = ulBlocks;
  }
  std::free(msg.pcPayload);
  if (_socketSend(iSocket, SOCKET_RQ_END, {}, nullptr, 0) != 0) {
    _socketSetSystem(ppcErrorText, errno);
    close(iSocket);
    return -1;
  }
  _socketClose(iSocket);
  return iStatus;
}

int iSOCKETopenFile(const char *pcHost, const char *pcUser, const char *pcPath, int64_t *pilSize,
                    char **ppcErrorText)
{
  _socketClearError(ppcErrorText);
  int64_t ilSizeNone;
  if (pilSize == nullptr) pilSize = &ilSizeNone;
  *pilSize = -1;
  if (pcUser == nullptr || pcPath == nullptr || std::strlen(pcUser) > SOCKET_MAX_TEXT ||
      std::strlen(pcPath) > SOCKET_MAX_TEXT) {
    _socketSetText(ppcErrorText, "Bad Request, invalid size");
    return -1;
  }
  int iSocket = _socketOpen(pcHost, ppcErrorText);
  if (iSocket < 0) return -1;
  if (_socketSetBuffer(iSocket, SO_SNDBUF, 512) != 0) {
    _socketSetSystem(ppcErrorText, errno);
    close(iSocket);
    return -1;
  }
  zor3socketMessage msg{};
  for (uint32_t ulCode : {SOCKET_RQ_USER, SOCKET_RQ_OPEN}) {
    if (_socketSendText(iSocket, ulCode, {}, ulCode == SOCKET_RQ_USER ? pcUser : pcPath) != 0) {
      _socketSetSystem(ppcErrorText, errno);
      close(iSocket);
      return -1;
    }
    std::free(msg.pcPayload);
    int iCode = _socketReply(iSocket, &msg, ppcErrorText);
    if (iCode < 0 || iCode == SOCKET_RP_ERROR) {
      std::free(msg.pcPayload);
      close(iSocket);
      return -1;
    }
  }
  const unsigned char *puc = reinterpret_cast<const unsigned char *>(msg.pcPayload);
  uint64_t ullSize = 0;
  if (puc != nullptr && obyteReadBE64(puc, puc + msg.ulLength, &ullSize)) *pilSize = static_cast<int64_t>(ullSize);
  std::free(msg.pcPayload);
  return iSocket;
}

int iSOCKETreadFile(int iSocket, int32_t iBlock, int32_t iSize, void *pBuffer, char **ppcErrorText)
{
  _socketClearError(ppcErrorText);
  if (iSize < 0 || iSize > SOCKET_MAX_READ || (iSize > 0 && pBuffer == nullptr)) {
    _socketSetText(ppcErrorText, "Bad Request, invalid size");
    return -1;
  }
  if (_socketSetBuffer(iSocket, SO_SNDBUF, 20) != 0 || _socketSetBuffer(iSocket, SO_RCVBUF, SOCKET_MAX_READ) != 0 ||
      _socketSend(iSocket, SOCKET_RQ_READ, {static_cast<uint32_t>(iSize), static_cast<uint32_t>(iBlock)}, nullptr,
                  0) != 0) {
    _socketSetSystem(ppcErrorText, errno);
    shutdown(iSocket, SHUT_RDWR);
    return -1;
  }
  char *pc = static_cast<char *>(pBuffer);
  int iGot = 0;
  int iErrno = 0;
  bool boClosed = false;
  while (iGot < iSize) {
    ssize_t l = recv(iSocket, pc + iGot, static_cast<size_t>(iSize - iGot), 0);
    if (l < 0 && errno == EINTR) continue;
    if (l <= 0) {
      boClosed = l == 0;
      iErrno = l < 0 ? errno : 0;
      break;
    }
    iGot += static_cast<int>(l);
  }
  if (_socketReadRefused(iSocket, pc, iGot, ppcErrorText)) {
    shutdown(iSocket, SHUT_RDWR);
    return -1;
  }
  if (boClosed || iErrno != 0) {
    if (boClosed)
      _socketSetText(ppcErrorText, "Connection closed before the data was complete");
    else
      _socketSetSystem(ppcErrorText, iErrno);
    shutdown(iSocket, SHUT_RDWR);
    return -1;
  }
  return iGot;
}

int iSOCKETlseekFile(int iSocket, int32_t iCount, int32_t iUnit, int32_t iOffset, char **ppcErrorText)
{
  _socketClearError(ppcErrorText);
  if (_socketSetBuffer(iSocket, SO_SNDBUF, 24) != 0 || _socketSetBuffer(iSocket, SO_RCVBUF, 512) != 0 ||
      _socketSend(iSocket, SOCKET_RQ_SEEK,
                  {static_cast<uint32_t>(iUnit), static_cast<uint32_t>(iCount), static_cast<uint32_t>(iOffset)},
                  nullptr, 0) != 0) {
    _socketSetSystem(ppcErrorText, errno);
    return -1;
  }
  zor3socketMessage msg;
  int iCode = _socketReply(iSocket, &msg, ppcErrorText);
  std::free(msg.pcPayload);
  return iCode < 0 || iCode == SOCKET_RP_ERROR ? -1 : 0;
}

int iSOCKETcloseFile(int iSocket, char **ppcErrorText)
{
  _socketClearError(ppcErrorText);
  int iResult = 0;
  if (_socketSetBuffer(iSocket, SO_SNDBUF, 12) != 0 || _socketSend(iSocket, SOCKET_RQ_CLOSE, {}, nullptr, 0) != 0) {
    _socketSetSystem(ppcErrorText, errno);
    iResult = -1;
  } else {
    zor3socketMessage msg;
    int iCode = _socketReply(iSocket, &msg, ppcErrorText);
    std::free(msg.pcPayload);
    if (iCode < 0 || iCode == SOCKET_RP_ERROR) iResult = -1;
  }
  _socketClose(iSocket);
  return iResult;
}

/* ========================================================== service side */

void vSOCKETdaemonInit(void)
{
  pid_t pid = fork();
  if (pid != 0) _exit(0);
  setsid();
  signal(SIGHUP, SIG_IGN);
  pid = fork();
  if (pid != 0) _exit(0);
  umask(022);
  close(0);
  close(1);
  close(2);
}

int iSOCKETcreate(const servent *pservent, char **ppcErrorText)
{
  _socketClearError(ppcErrorText);
  if (pservent == nullptr) {
    _socketSetText(ppcErrorText, "no service");
    return -1;
  }
  int iType = pservent->s_proto != nullptr && std::strcmp(pservent->s_proto, "udp") == 0 ? SOCK_DGRAM : SOCK_STREAM;
  int iSocket = socket(AF_INET, iType | SOCK_CLOEXEC, 0);
  if (iSocket < 0) {
    _socketSetSystem(ppcErrorText, errno);
    return -1;
  }
  int iOn = 1;
  setsockopt(iSocket, SOL_SOCKET, SO_REUSEADDR, &iOn, sizeof(iOn));
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = static_cast<in_port_t>(pservent->s_port);
  addr.sin_addr.s_addr = htonl(INADDR_ANY);
  if (bind(iSocket, reinterpret_cast<sockaddr *>(&addr), sizeof(addr)) != 0) {
    _socketSetSystem(ppcErrorText, errno);
    close(iSocket);
    return -1;
  }
  return iSocket;
}

int iSOCKETlisten(int iSocket, int iBacklog, char **ppcErrorText)
{
  _socketClearError(ppcErrorText);
  if (listen(iSocket, iBacklog) != 0) {
    _socketSetSystem(ppcErrorText, errno);
    return -1;
  }
  return 0;
}

int iSOCKETaccept(int iSocket, void *pAddress, char **ppcErrorText)
{
  _socketClearError(ppcErrorText);
  sockaddr_in addr{};
  for (;;) {
    socklen_t len = sizeof(addr);
    int iConnection = accept(iSocket, reinterpret_cast<sockaddr *>(&addr), &len);
    if (iConnection >= 0) {
      if (pAddress != nullptr) std::memcpy(pAddress, &addr, std::min<size_t>(16, sizeof(addr)));
      return iConnection;
    }
    if (errno != EINTR) break;
  }
  _socketSetSystem(ppcErrorText, errno);
  return -1;
}

/* Seconds a daemon waits for the next bytes of its peer. */
static int _socketTimeout(void)
{
  int32_t *pil = static_cast<int32_t *>(configUseItem(CONFIG_ITEM_DAEMONTIMEOUT, 1));
  int iSeconds = pil != nullptr && *pil > 0 ? *pil : 30;
  std::free(pil);
  return iSeconds;
}

int iSOCKETdoService(int iSocket, char **ppcErrorText)
{
  _socketClearError(ppcErrorText);
  _socketConversation conv;
  socklen_t lenPeer = sizeof conv.addrPeer;
  char acPeer[INET_ADDRSTRLEN] = "?";
  if (getpeername(iSocket, reinterpret_cast<sockaddr *>(&conv.addrPeer), &lenPeer) == 0 &&
      conv.addrPeer.sin_family == AF_INET)
    inet_ntop(AF_INET, &conv.addrPeer.sin_addr, acPeer, sizeof acPeer);
  else
    conv.addrPeer = sockaddr_in{};
  conv.strPeer = acPeer;
  timeval tv{_socketTimeout(), 0};
  setsockopt(iSocket, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  setsockopt(iSocket, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);

  int iResult = 0;
  bool boEnd = false;
  while (!boEnd) {
    zor3socketMessage msg;
    iResult = _iSOCKETread(iSocket, &msg, ppcErrorText);
    if (iResult != 0 && !conv.boAuthenticated)
      omsgsFMTEDO(ZOR0667E, conv.strPeer.c_str(), ppcErrorText != nullptr && *ppcErrorText != nullptr ? *ppcErrorText : "");
    uint32_t ulCode = iResult != 0 ? SOCKET_RQ_END : msg.ulCode;
    const char *pcText = msg.pcPayload != nullptr ? msg.pcPayload : "";
    const unsigned char *puc = reinterpret_cast<const unsigned char *>(msg.pcPayload);
    const unsigned char *pucEnd = puc == nullptr ? nullptr : puc + msg.ulLength;
    uint32_t aul[3] = {0, 0, 0};
    /* An ending error: reply, keep its text, stop. */
    auto fail = [&](const char *pcError) {
      _socketSetText(ppcErrorText, pcError);
      iResult = iSOCKETsendError(iSocket, SOCKET_RC_ERROR, SOCKET_ERROR_ID, pcError);
      boEnd = true;
    };
    /* A refusal: reported on the daemon's side with its reason, answered with pcError. */
    auto refuse = [&](const std::string &strWhy, const char *pcError) {
      omsgsFMTEDO(ZOR0667E, conv.strPeer.c_str(), strWhy.c_str());
      fail(pcError);
    };
    /* A file request's path: refused outside the instance's files. */
    auto pathAllowed = [&](const char *pcPath, size_t ulMax) {
      std::string strWhy;
      if (strnlen(pcPath, ulMax + 1) > ulMax) {
        refuse(std::string("path longer than ") + std::to_string(ulMax) + " bytes", "Bad Request, invalid size");
        return false;
      }
      if (dmguardPath(conv.strInstance.c_str(), &conv.files, pcPath, &strWhy) != 0) {
        refuse(std::string(pcPath) + ": " + strWhy, "Path not allowed");
        return false;
      }
      return true;
    };
    std::string strWhy;
    if (!conv.boAuthenticated && ulCode != SOCKET_RQ_HELLO && ulCode != SOCKET_RQ_PROOF && ulCode != SOCKET_RQ_END) {
      refuse("request " + std::to_string(ulCode) + " before authentication", "Authentication required");
      ulCode = 0;
    }
    switch (ulCode) {
      case 0:
        break;
      case SOCKET_RQ_HELLO:
        if (_socketHello(iSocket, conv, msg, strWhy) != 0) refuse(strWhy, "Authentication failed");
        break;
      case SOCKET_RQ_PROOF:
        if (conv.boAuthenticated || _socketProof(iSocket, conv, msg, strWhy) != 0)
          refuse(strWhy.empty() ? "a second proof" : strWhy, "Authentication failed");
        break;
      case SOCKET_RQ_ACK:
      case SOCKET_RQ_PING:
        _socketSend(iSocket, SOCKET_RP_DONE, {}, nullptr, 0);
        break;
      case SOCKET_RQ_NODES:
        if (conv.strInstance != pcText)
          iSOCKETsendError(iSocket, 0, SOCKET_ERROR_ID, "Bad Configuration file");
        else
          _socketNodes(iSocket, pcText);
        break;
      case SOCKET_RQ_SAVEUTF8:
      case SOCKET_RQ_SAVE:
        _socketSave(iSocket, conv, msg);
        break;
      case SOCKET_RQ_RUNUTF8:
      case SOCKET_RQ_RUN:
        if (_socketRun(iSocket, conv, msg, ppcErrorText) != 0) {
          iResult = SOCKET_RC_ERROR;
          boEnd = true;
        }
        break;
      case SOCKET_RQ_USER:
        if (_socketUser(iSocket, conv, pcText) != 0) {
          _socketSetText(ppcErrorText, "User not allowed");
          iResult = SOCKET_RC_ERROR;
          boEnd = true;
        }
        break;
      case SOCKET_RQ_EXIST:
        if (!obyteReadBE32(puc, pucEnd, &aul[0])) {
          fail("Bad Request");
          break;
        }
        if (pathAllowed(pcText + 4, SOCKET_MAX_PATH6)) _socketExist(iSocket, aul[0], pcText + 4);
        break;
      case SOCKET_RQ_OPEN:
        if (!pathAllowed(pcText, SOCKET_MAX_TEXT)) break;
        if (_socketOpenFile(iSocket, conv, pcText) != 0) {
          _socketSetText(ppcErrorText, "Cant open file");
          iResult = SOCKET_RC_ERROR;
          boEnd = true;
        }
        break;
      case SOCKET_RQ_READ:
        if (!obyteReadBE32(puc, pucEnd, &aul[0]) || !obyteReadBE32(puc + 4, pucEnd, &aul[1])) {
          fail("Bad Request");
          break;
        }
        if (_socketReadFile(iSocket, conv, aul[0], static_cast<int32_t>(aul[1])) != 0) {
          _socketSetText(ppcErrorText, "Read file error");
          iResult = SOCKET_RC_ERROR;
          boEnd = true;
        }
        break;
      case SOCKET_RQ_CLOSE: {
        int iFile = conv.iFile;
        conv.iFile = -1;
        if (iFile < 0 || close(iFile) != 0) {
          fail("Cant close file");
          break;
        }
        _socketSend(iSocket, SOCKET_RP_DONE, {0u}, nullptr, 0);
        boEnd = true;
        break;
      }
      case SOCKET_RQ_SEEK: {
        if (!obyteReadBE32(puc, pucEnd, &aul[0]) || !obyteReadBE32(puc + 4, pucEnd, &aul[1]) ||
            !obyteReadBE32(puc + 8, pucEnd, &aul[2])) {
          fail("Bad Request");
          break;
        }
        int32_t ilUnit = static_cast<int32_t>(aul[0]), ilCount = static_cast<int32_t>(aul[1]),
                ilOffset = static_cast<int32_t>(aul[2]);
        if ((ilCount > 0 || ilOffset > 0) &&
            lseek(conv.iFile, static_cast<off_t>(static_cast<int64_t>(ilUnit) * ilCount + ilOffset), SEEK_SET) < 0) {
          iSOCKETsendError(iSocket, 0, SOCKET_ERROR_ID, "lseek into file error");
          break;
        }
        _socketSend(iSocket, SOCKET_RP_DONE, {}, nullptr, 0);
        break;
      }
      case SOCKET_RQ_END:
        sleep(1);
        boEnd = true;
        break;
      default:
        fail("Bad Request");
        break;
    }
    std::free(msg.pcPayload);
  }
  if (conv.iFile >= 0) close(conv.iFile);
  _socketRemoveDir(conv);
  _socketClose(iSocket);
  return iResult;
}
