/*
** socket.cpp  (module zor3socket)
**   The conversation with the network daemon, both ends: the client
**   operations db2zav uses to test a host, read files there and ship a
**   request, and the service operations the daemon program calls for each
**   connection.  Layouts, the handshake and the limits are described in
**   socket.h; every header and payload word goes through common/obyte.h,
**   and every length or count that arrives from the peer is checked before
**   it is used.  The TLS is OpenSSL's: no cryptography is done here.
**
**   Layers: the table of connections (descriptor -> TLS state, time limit);
**   the channel (_socketRecv, _socketSendBytes: poll with a deadline, then
**   the TLS or the socket itself); messages (_socketReadMessage,
**   _socketSend); the client operations; the service.
**
**   Service side design (one process per conversation):
**     NEW  --14 (clear)--> instance named: the process becomes the instance
**                          user; peer host and key checked; 501 in clear
**          --TLS 1.3 PSK--> AUTHENTICATED (all of it within T seconds)
**          --other-------> error reply in clear, end (nothing is served)
**     AUTHENTICATED (inside the TLS, each message within T seconds):
**          --3/13--> control file saved in the private directory
**          --4/11--> the allowed arguments checked, db2zav run without a
**                    shell in the private directory, 502 every
**                    SOCKET_BEAT_MS while it runs, its message file sent
**                    back line by line and deleted, then 501 with the
**                    run's exit status
**          --7-----> file open (beneath the instance's roots, no links);
**                    8 and 10 use it; 9 closes it and ends
**          --999---> end at once;  errors of 5, 7, 8, 9, malformed or
**                    unknown requests end it with an error reply.
**   Invariant: at the end the file is closed, the private directory and
**   everything in it is removed (by the cleaner if the process is killed),
**   the connection is shut down, closed and forgotten.
*/
#include "io/socket.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <grp.h>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pthread.h>
#include <pwd.h>
#include <signal.h>
#include <string>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/ssl.h>

#include "common/obyte.h"
#include "common/ochar.h"
#include "common/ocnvft.h"
#include "common/omsgs.h"
#include "common/osignal.h"
#include "io/authkey.h"
#include "io/dmguard.h"
#include "model/config.h"
#include "model/parm.h"
#include "model/tools.h"
#include "model/zormsgs.h"

extern char **environ;

namespace {

constexpr int kiLookupTries = 5;     /* host and service look-ups */
constexpr int kiDefaultSeconds = 30; /* daemontimeout when the configuration has none */
constexpr uint16_t kusUTF8 = 1208;
constexpr const char *kpcStalled = "Peer stalled: no complete message within the time limit";

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
std::string _socketSystem(int iErrno)
{
  char acBuffer[256];
  return strerror_r(iErrno, acBuffer, sizeof(acBuffer));
}

void _socketSetSystem(char **ppcErrorText, int iErrno)
{
  _socketSetText(ppcErrorText, _socketSystem(iErrno).c_str());
}

void _socketClearError(char **ppcErrorText)
{
  _socketSetError(ppcErrorText, "", 0);
}

/* A text from a peer made fit for a log line or a message: control
   characters as \xHH, the backslash doubled. */
std::string _socketPrintable(const std::string &str)
{
  std::string strOut;
  for (unsigned char uc : str) {
    if (uc < 0x20 || uc == 0x7F) {
      char ac[5];
      std::snprintf(ac, sizeof ac, "\\x%02X", uc);
      strOut += ac;
    } else if (uc == '\\') {
      strOut += "\\\\";
    } else {
      strOut += static_cast<char>(uc);
    }
  }
  return strOut;
}

int _socketSetBuffer(int iSocket, int iOption, int iSize)
{
  return setsockopt(iSocket, SOL_SOCKET, iOption, &iSize, sizeof(iSize));
}

/* Seconds of the time limit: the configuration's daemontimeout. */
int _socketTimeout(void)
{
  int32_t *pil = static_cast<int32_t *>(configUseItem(CONFIG_ITEM_DAEMONTIMEOUT, 1));
  int iSeconds = pil != nullptr && *pil > 0 ? *pil : kiDefaultSeconds;
  std::free(pil);
  return iSeconds;
}

/* Milliseconds of the monotonic clock. */
int64_t _socketNow(void)
{
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

/* ------------------------------------------------------ connections table */

/* The pre-shared key of a connection's TLS, handed to OpenSSL's callbacks. */
struct _socketPsk {
  std::string   strIdentity;
  unsigned char aucPsk[AUTHKEY_PSK_SIZE] = {};
  ~_socketPsk() { OPENSSL_cleanse(aucPsk, sizeof aucPsk); }
};

/* One connection of this module. */
struct _socketLink {
  dev_t dev = 0;                    /* the socket's identity, so that a descriptor */
  ino_t ino = 0;                    /* number reused by others is not taken for it */
  int   iSeconds = kiDefaultSeconds;
  bool  boClient = false;
  bool  boBroken = false;           /* a fatal TLS error: nothing more is sent */
  SSL  *pssl = nullptr;
  std::unique_ptr<_socketPsk> ppsk;
};

/* What the channel needs of a link, copied out of the table. */
struct _socketView {
  bool  boKnown = false;
  int   iSeconds = 0;
  bool  boClient = false;
  bool  boBroken = false;
  SSL  *pssl = nullptr;
};

struct _socketTable {
  std::mutex                              mutex;
  std::unordered_map<int, _socketLink>    map;
};
_socketTable *gptable = new _socketTable;   /* never freed: used until the process ends */

void _socketForkPrepare(void) { gptable->mutex.lock(); }
void _socketForkAfter(void) { gptable->mutex.unlock(); }
std::once_flag gonceAtFork;

std::unique_lock<std::mutex> _socketLock(void)
{
  std::call_once(gonceAtFork, [] { pthread_atfork(_socketForkPrepare, _socketForkAfter, _socketForkAfter); });
  return std::unique_lock<std::mutex>(gptable->mutex);
}

/* Frees a link's TLS. */
void _socketFreeLink(_socketLink &link)
{
  if (link.pssl != nullptr) SSL_free(link.pssl);
  link.pssl = nullptr;
  link.ppsk.reset();
}

/* Registers iSocket as a connection of this module with a time limit. */
void _socketLinkOpen(int iSocket, int iSeconds, bool boClient)
{
  struct stat st {};
  fstat(iSocket, &st);
  auto lock = _socketLock();
  auto it = gptable->map.find(iSocket);
  if (it != gptable->map.end()) _socketFreeLink(it->second);
  _socketLink &link = gptable->map[iSocket];
  link = _socketLink{};
  link.dev = st.st_dev;
  link.ino = st.st_ino;
  link.iSeconds = iSeconds;
  link.boClient = boClient;
}

/* The link of iSocket; a stale entry (another socket under the number) is dropped. */
_socketView _socketLinkView(int iSocket)
{
  _socketView view;
  struct stat st {};
  bool boStat = fstat(iSocket, &st) == 0;
  auto lock = _socketLock();
  auto it = gptable->map.find(iSocket);
  if (it == gptable->map.end()) return view;
  if (!boStat || st.st_dev != it->second.dev || st.st_ino != it->second.ino) {
    _socketFreeLink(it->second);
    gptable->map.erase(it);
    return view;
  }
  view.boKnown = true;
  view.iSeconds = it->second.iSeconds;
  view.boClient = it->second.boClient;
  view.boBroken = it->second.boBroken;
  view.pssl = it->second.pssl;
  return view;
}

/* The time limit of a connection, in seconds (the configuration's for one not of this module). */
int _socketSeconds(const _socketView &view)
{
  return view.boKnown ? view.iSeconds : _socketTimeout();
}

void _socketLinkBroken(int iSocket)
{
  auto lock = _socketLock();
  auto it = gptable->map.find(iSocket);
  if (it != gptable->map.end()) it->second.boBroken = true;
}

/* ---------------------------------------------------------------- channel */

/* Waits until iSocket is ready for events or the deadline passes.  A
   process that has caught a signal asking it to stop (common/osignal.h)
   waits no further: the request it serves is ending.
   Returns 0 (ready), -1 (deadline) or -2 (failure, errno; EINTR for that signal). */
int _socketWait(int iSocket, short sEvents, int64_t llDeadline)
{
  for (;;) {
    if (osignalCaught() != 0) {
      errno = EINTR;
      return -2;
    }
    int64_t llLeft = llDeadline - _socketNow();
    if (llLeft <= 0) return -1;
    pollfd pfd{iSocket, sEvents, 0};
    int rc = poll(&pfd, 1, static_cast<int>(std::min<int64_t>(llLeft, INT_MAX)));
    if (rc > 0) return 0;
    if (rc == 0) return -1;
    if (errno != EINTR) return -2;
  }
}

/* The reason of the last TLS failure of this thread. */
std::string _socketTlsReason(void)
{
  unsigned long ulError = ERR_peek_last_error();
  const char *pc = ulError != 0 ? ERR_reason_error_string(ulError) : nullptr;
  std::string str = pc != nullptr ? pc : (ulError != 0 ? "error " + std::to_string(ulError) : "connection lost");
  ERR_clear_error();
  return str;
}

/* Outcome of the channel operations. */
enum _socketOutcome { kOk = 0, kClosed = 1, kTimeout = 2, kFailed = 3 };

/*
** Receives up to ulSize bytes (at least one) before the deadline.
** Returns kOk with *pulGot, kClosed when the peer closed the connection,
** kTimeout, or kFailed with strWhy (a TLS failure marks the link broken).
*/
_socketOutcome _socketRecv(int iSocket, const _socketView &view, void *pv, size_t ulSize, int64_t llDeadline,
                           size_t *pulGot, std::string &strWhy)
{
  *pulGot = 0;
  for (;;) {
    short sWait = POLLIN;
    if (view.pssl != nullptr) {
      ERR_clear_error();
      int rc = SSL_read_ex(view.pssl, pv, ulSize, pulGot);
      if (rc == 1) return kOk;
      int iError = SSL_get_error(view.pssl, rc);
      if (iError == SSL_ERROR_ZERO_RETURN) return kClosed;
      if (iError == SSL_ERROR_WANT_WRITE) sWait = POLLOUT;
      else if (iError != SSL_ERROR_WANT_READ) {
        int iErrno = errno;
        strWhy = iError == SSL_ERROR_SYSCALL && ERR_peek_last_error() == 0 && iErrno != 0 ? _socketSystem(iErrno)
                                                                                          : "TLS: " + _socketTlsReason();
        _socketLinkBroken(iSocket);
        return kFailed;
      }
    } else {
      ssize_t l = recv(iSocket, pv, ulSize, MSG_DONTWAIT);
      if (l > 0) {
        *pulGot = static_cast<size_t>(l);
        return kOk;
      }
      if (l == 0) return kClosed;
      if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
        strWhy = _socketSystem(errno);
        return kFailed;
      }
    }
    int rc = _socketWait(iSocket, sWait, llDeadline);
    if (rc == -1) return kTimeout;
    if (rc == -2) {
      strWhy = _socketSystem(errno);
      return kFailed;
    }
  }
}

/* Receives exactly ulSize bytes before the deadline; *pulGot says how many came. */
_socketOutcome _socketRecvAll(int iSocket, const _socketView &view, void *pv, size_t ulSize, int64_t llDeadline,
                              size_t *pulGot, std::string &strWhy)
{
  unsigned char *puc = static_cast<unsigned char *>(pv);
  *pulGot = 0;
  while (*pulGot < ulSize) {
    size_t ulOne = 0;
    _socketOutcome outcome = _socketRecv(iSocket, view, puc + *pulGot, ulSize - *pulGot, llDeadline, &ulOne, strWhy);
    if (outcome != kOk) return outcome;
    *pulGot += ulOne;
  }
  return kOk;
}

/* Sends all bytes before the deadline.  Returns kOk, kTimeout or kFailed with strWhy. */
_socketOutcome _socketSendBytes(int iSocket, const _socketView &view, const void *pv, size_t ulLength,
                                int64_t llDeadline, std::string &strWhy)
{
  const unsigned char *puc = static_cast<const unsigned char *>(pv);
  if (view.boBroken) {
    strWhy = "TLS: the conversation is broken";
    return kFailed;
  }
  while (ulLength > 0) {
    short sWait = POLLOUT;
    if (view.pssl != nullptr) {
      ERR_clear_error();
      size_t ulSent = 0;
      int rc = SSL_write_ex(view.pssl, puc, ulLength, &ulSent);
      if (rc == 1) {
        puc += ulSent;
        ulLength -= ulSent;
        continue;
      }
      int iError = SSL_get_error(view.pssl, rc);
      if (iError == SSL_ERROR_WANT_READ) sWait = POLLIN;
      else if (iError != SSL_ERROR_WANT_WRITE) {
        int iErrno = errno;
        strWhy = iError == SSL_ERROR_SYSCALL && ERR_peek_last_error() == 0 && iErrno != 0 ? _socketSystem(iErrno)
                                                                                          : "TLS: " + _socketTlsReason();
        _socketLinkBroken(iSocket);
        return kFailed;
      }
    } else {
      ssize_t l = send(iSocket, puc, ulLength, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (l >= 0) {
        puc += l;
        ulLength -= static_cast<size_t>(l);
        continue;
      }
      if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
        strWhy = _socketSystem(errno);
        return kFailed;
      }
    }
    int rc = _socketWait(iSocket, sWait, llDeadline);
    if (rc == -1) {
      strWhy = "Send not completed within the time limit";
      return kTimeout;
    }
    if (rc == -2) {
      strWhy = _socketSystem(errno);
      return kFailed;
    }
  }
  return kOk;
}

/* The text of a wait in vain, for the side of the connection. */
std::string _socketStallText(const _socketView &view)
{
  if (view.boClient) return "No answer within " + std::to_string(_socketSeconds(view)) + " seconds";
  return kpcStalled;
}

/* Sends a message: header, then the words (big-endian), then ulLength bytes
   of pText; the buffer is wiped afterwards (it may hold a password).
   Returns 0, or -1 with strWhy. */
int _socketSendMessage(int iSocket, uint32_t ulCode, std::initializer_list<uint32_t> words, const void *pText,
                       size_t ulLength, int64_t llDeadline, std::string &strWhy)
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
  _socketView view = _socketLinkView(iSocket);
  _socketOutcome outcome = _socketSendBytes(iSocket, view, v.data(), v.size(), llDeadline, strWhy);
  OPENSSL_cleanse(v.data(), v.size());
  return outcome == kOk ? 0 : -1;
}

/* The deadline of a message of the connection, from now. */
int64_t _socketDeadline(int iSocket)
{
  return _socketNow() + 1000LL * _socketSeconds(_socketLinkView(iSocket));
}

/* _socketSendMessage within the connection's time limit; the failure's text in the error text. */
int _socketSend(int iSocket, uint32_t ulCode, std::initializer_list<uint32_t> words, const void *pText,
                size_t ulLength, char **ppcErrorText = nullptr)
{
  std::string strWhy;
  int rc = _socketSendMessage(iSocket, ulCode, words, pText, ulLength, _socketDeadline(iSocket), strWhy);
  if (rc != 0) _socketSetText(ppcErrorText, strWhy.c_str());
  return rc;
}

/* Sends a client text request: the text and its NUL. */
int _socketSendText(int iSocket, uint32_t ulCode, std::initializer_list<uint32_t> words, const char *pcText,
                    char **ppcErrorText)
{
  return _socketSend(iSocket, ulCode, words, pcText, std::strlen(pcText) + 1, ppcErrorText);
}

/*
** Reads one message before the deadline into *pmsg (see _iSOCKETread).
** *pulVersion gets the version of the header when one arrived.  Returns 0,
** or 16 after the error reply (not sent on a broken TLS).
*/
int _socketReadMessage(int iSocket, zor3socketMessage *pmsg, int64_t llDeadline, char **ppcErrorText,
                       uint32_t *pulVersion = nullptr)
{
  *pmsg = zor3socketMessage{};
  std::string strWhy;
  unsigned char aucHead[SOCKET_HEADER_SIZE];
  uint32_t ulTotal = 0, ulVersion = 0;
  _socketView view = _socketLinkView(iSocket);
  _socketOutcome outcome = kOk;
  size_t ulGot = 0;

  if (_socketSetBuffer(iSocket, SO_RCVBUF, 512) != 0) {
    strWhy = _socketSystem(errno);
    outcome = kFailed;
  } else {
    outcome = _socketRecvAll(iSocket, view, aucHead, SOCKET_HEADER_SIZE, llDeadline, &ulGot, strWhy);
    if (outcome == kClosed) {
      omsgsFMTEDO(ZOR0666F, "Empty socket");
      strWhy = "Error receive empty request";
    }
  }
  if (outcome == kOk) {
    ulTotal = obyteGetBE32(aucHead);
    ulVersion = obyteGetBE32(aucHead + 4);
    if (pulVersion != nullptr) *pulVersion = ulVersion;
    if (ulTotal < SOCKET_HEADER_SIZE || ulTotal > SOCKET_MAX_MESSAGE) {
      strWhy = "Bad Request, invalid size";
      outcome = kFailed;
    } else if (ulVersion != SOCKET_VERSION) {
      strWhy = "Client/Server Uncompatible Versions";
      outcome = kFailed;
    }
  }
  if (outcome == kOk) {
    pmsg->ulVersion = ulVersion;
    pmsg->ulCode = obyteGetBE32(aucHead + 8);
    pmsg->ulLength = ulTotal - SOCKET_HEADER_SIZE;
    if (pmsg->ulLength > 0) {
      pmsg->pcPayload = static_cast<char *>(std::calloc(pmsg->ulLength + 1, 1));
      if (pmsg->pcPayload == nullptr) {
        strWhy = "System is under stress";
        outcome = kFailed;
      } else {
        outcome = _socketRecvAll(iSocket, view, pmsg->pcPayload, pmsg->ulLength, llDeadline, &ulGot, strWhy);
        if (outcome == kClosed) {
          omsgsFMTEDO(ZOR0666F, "Socket is empty");
          strWhy = "Error receive unterminated request";
        }
      }
    }
  }
  if (outcome == kOk) return 0;
  if (outcome == kTimeout) strWhy = _socketStallText(view);

  if (pmsg->pcPayload != nullptr) OPENSSL_cleanse(pmsg->pcPayload, pmsg->ulLength);
  std::free(pmsg->pcPayload);
  *pmsg = zor3socketMessage{};
  char *pcText = nullptr;
  _socketSetText(&pcText, strWhy.c_str());
  if (ppcErrorText != nullptr) *ppcErrorText = pcText;
  if (_socketLinkView(iSocket).boBroken) return SOCKET_RC_ERROR;
  return iSOCKETsendError(iSocket, SOCKET_RC_ERROR, SOCKET_ERROR_ID, pcText);
}

/* --------------------------------------------------------------------- TLS */

/* The cipher suites offered: all with SHA-256, the hash of the PSK's session. */
constexpr const char *kpcSuites = "TLS_AES_128_GCM_SHA256:TLS_CHACHA20_POLY1305_SHA256";
constexpr unsigned char kaucSuite[2] = {0x13, 0x01};   /* TLS_AES_128_GCM_SHA256 */

/* A session carrying the PSK of the connection, or NULL. */
SSL_SESSION *_socketPskSession(SSL *pssl, const _socketPsk *ppsk)
{
  const SSL_CIPHER *pcipher = SSL_CIPHER_find(pssl, kaucSuite);
  SSL_SESSION *psession = pcipher != nullptr ? SSL_SESSION_new() : nullptr;
  if (psession == nullptr) return nullptr;
  if (SSL_SESSION_set1_master_key(psession, ppsk->aucPsk, sizeof ppsk->aucPsk) != 1 ||
      SSL_SESSION_set_cipher(psession, pcipher) != 1 ||
      SSL_SESSION_set_protocol_version(psession, TLS1_3_VERSION) != 1) {
    SSL_SESSION_free(psession);
    return nullptr;
  }
  return psession;
}

/* Client: offers the PSK of the connection. */
int _socketPskUse(SSL *pssl, const EVP_MD *pmd, const unsigned char **ppucId, size_t *pulIdLength,
                  SSL_SESSION **ppsession)
{
  const _socketPsk *ppsk = static_cast<const _socketPsk *>(SSL_get_app_data(pssl));
  *ppsession = nullptr;
  const SSL_CIPHER *pcipher = SSL_CIPHER_find(pssl, kaucSuite);
  if (ppsk == nullptr || pcipher == nullptr) return 0;
  if (pmd != nullptr && pmd != SSL_CIPHER_get_handshake_digest(pcipher)) return 1;   /* no PSK for this hash */
  *ppsession = _socketPskSession(pssl, ppsk);
  if (*ppsession == nullptr) return 0;
  *ppucId = reinterpret_cast<const unsigned char *>(ppsk->strIdentity.data());
  *pulIdLength = ppsk->strIdentity.size();
  return 1;
}

/* Daemon: takes the PSK of the connection for its identity only. */
int _socketPskFind(SSL *pssl, const unsigned char *pucId, size_t ulIdLength, SSL_SESSION **ppsession)
{
  const _socketPsk *ppsk = static_cast<const _socketPsk *>(SSL_get_app_data(pssl));
  *ppsession = nullptr;
  if (ppsk == nullptr) return 0;
  if (ulIdLength != ppsk->strIdentity.size() || std::memcmp(pucId, ppsk->strIdentity.data(), ulIdLength) != 0)
    return 1;   /* an unknown identity: no PSK, the handshake fails */
  *ppsession = _socketPskSession(pssl, ppsk);
  return *ppsession != nullptr ? 1 : 0;
}

/*
** The TLS's own access to the socket: send with MSG_NOSIGNAL (a peer that
** went away must not raise SIGPIPE in the caller's process), recv, both
** without blocking; an end of the connection is remembered for BIO_eof.
*/
struct _socketBioData {
  int  iSocket;
  bool boEof;
};

int _socketBioWrite(BIO *pbio, const char *pc, size_t ulLength, size_t *pulDone)
{
  _socketBioData *pdata = static_cast<_socketBioData *>(BIO_get_data(pbio));
  BIO_clear_retry_flags(pbio);
  ssize_t l = send(pdata->iSocket, pc, ulLength, MSG_NOSIGNAL | MSG_DONTWAIT);
  if (l >= 0) {
    *pulDone = static_cast<size_t>(l);
    return 1;
  }
  if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) BIO_set_retry_write(pbio);
  return 0;
}

int _socketBioRead(BIO *pbio, char *pc, size_t ulLength, size_t *pulDone)
{
  _socketBioData *pdata = static_cast<_socketBioData *>(BIO_get_data(pbio));
  BIO_clear_retry_flags(pbio);
  ssize_t l = recv(pdata->iSocket, pc, ulLength, MSG_DONTWAIT);
  if (l > 0) {
    *pulDone = static_cast<size_t>(l);
    return 1;
  }
  if (l == 0) {
    pdata->boEof = true;
    errno = 0;
  } else if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
    BIO_set_retry_read(pbio);
  }
  return 0;
}

long _socketBioCtrl(BIO *pbio, int iCommand, long, void *)
{
  _socketBioData *pdata = static_cast<_socketBioData *>(BIO_get_data(pbio));
  if (iCommand == BIO_CTRL_FLUSH) return 1;
  if (iCommand == BIO_CTRL_EOF) return pdata != nullptr && pdata->boEof ? 1 : 0;
  return 0;
}

int _socketBioCreate(BIO *pbio)
{
  BIO_set_data(pbio, nullptr);
  BIO_set_init(pbio, 1);
  return 1;
}

int _socketBioDestroy(BIO *pbio)
{
  delete static_cast<_socketBioData *>(BIO_get_data(pbio));
  BIO_set_data(pbio, nullptr);
  return 1;
}

/* A BIO on iSocket, or NULL. */
BIO *_socketBio(int iSocket)
{
  static std::once_flag once;
  static BIO_METHOD *pmethod = nullptr;
  std::call_once(once, [] {
    BIO_METHOD *pm = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "db2zavdm socket");
    if (pm == nullptr) return;
    if (BIO_meth_set_write_ex(pm, _socketBioWrite) != 1 || BIO_meth_set_read_ex(pm, _socketBioRead) != 1 ||
        BIO_meth_set_ctrl(pm, _socketBioCtrl) != 1 || BIO_meth_set_create(pm, _socketBioCreate) != 1 ||
        BIO_meth_set_destroy(pm, _socketBioDestroy) != 1) {
      BIO_meth_free(pm);
      return;
    }
    pmethod = pm;
  });
  BIO *pbio = pmethod != nullptr ? BIO_new(pmethod) : nullptr;
  if (pbio != nullptr) BIO_set_data(pbio, new _socketBioData{iSocket, false});
  return pbio;
}

/* The context of one side, made once per process. */
SSL_CTX *_socketTlsContext(bool boServer)
{
  static std::once_flag aonce[2];
  static SSL_CTX *apctx[2] = {nullptr, nullptr};
  std::call_once(aonce[boServer ? 1 : 0], [boServer] {
    SSL_CTX *pctx = SSL_CTX_new(boServer ? TLS_server_method() : TLS_client_method());
    if (pctx == nullptr) return;
    bool boOk = SSL_CTX_set_min_proto_version(pctx, TLS1_3_VERSION) == 1 &&
                SSL_CTX_set_max_proto_version(pctx, TLS1_3_VERSION) == 1 &&
                SSL_CTX_set_ciphersuites(pctx, kpcSuites) == 1 && SSL_CTX_set_num_tickets(pctx, 0) == 1;
    SSL_CTX_set_options(pctx, SSL_OP_NO_TICKET | SSL_OP_IGNORE_UNEXPECTED_EOF);
    SSL_CTX_set_session_cache_mode(pctx, SSL_SESS_CACHE_OFF);
    SSL_CTX_set_max_early_data(pctx, 0);
    /* a certificate is never accepted in place of the key */
    if (!boServer) SSL_CTX_set_verify(pctx, SSL_VERIFY_PEER, nullptr);
    if (!boOk) {
      SSL_CTX_free(pctx);
      return;
    }
    apctx[boServer ? 1 : 0] = pctx;
  });
  return apctx[boServer ? 1 : 0];
}

/* _iSOCKETstartTls before a deadline.  Returns 0, or -1 with strWhy. */
int _socketStartTls(int iSocket, bool boServer, const char *pcInstance, const unsigned char *pucKey,
                    int64_t llDeadline, std::string &strWhy)
{
  ERR_clear_error();
  auto ppsk = std::make_unique<_socketPsk>();
  ppsk->strIdentity = std::string(SOCKET_TLS_IDENTITY) + (pcInstance != nullptr ? pcInstance : "");
  SSL_CTX *pctx = _socketTlsContext(boServer);
  if (pctx == nullptr || authkeyPsk(pucKey, pcInstance, ppsk->aucPsk) != 0) {
    strWhy = "Authentication failed: TLS cannot be set up (" + _socketTlsReason() + ")";
    return -1;
  }
  SSL *pssl = SSL_new(pctx);
  BIO *pbio = pssl != nullptr ? _socketBio(iSocket) : nullptr;
  if (pbio == nullptr) {
    if (pssl != nullptr) SSL_free(pssl);
    strWhy = "Authentication failed: TLS cannot be set up (" + _socketTlsReason() + ")";
    return -1;
  }
  int iFlags = fcntl(iSocket, F_GETFL);
  if (iFlags >= 0) fcntl(iSocket, F_SETFL, iFlags | O_NONBLOCK);
  /* a flight of the handshake is several records: none waits for an acknowledgement */
  int iOn = 1;
  setsockopt(iSocket, IPPROTO_TCP, TCP_NODELAY, &iOn, sizeof iOn);
  SSL_set_app_data(pssl, ppsk.get());
  if (boServer)
    SSL_set_psk_find_session_callback(pssl, _socketPskFind);
  else
    SSL_set_psk_use_session_callback(pssl, _socketPskUse);
  SSL_set_bio(pssl, pbio, pbio);
  /* the table owns the TLS from now on, so that vSOCKETclose frees it */
  {
    struct stat st {};
    fstat(iSocket, &st);
    int iSeconds = _socketLinkView(iSocket).boKnown ? 0 : _socketTimeout();
    auto lock = _socketLock();
    auto it = gptable->map.find(iSocket);
    if (it == gptable->map.end() || it->second.dev != st.st_dev || it->second.ino != st.st_ino) {
      if (it != gptable->map.end()) _socketFreeLink(it->second);
      _socketLink &link = gptable->map[iSocket];
      link = _socketLink{};
      link.dev = st.st_dev;
      link.ino = st.st_ino;
      link.iSeconds = iSeconds;
      link.boClient = !boServer;
      it = gptable->map.find(iSocket);
    }
    _socketFreeLink(it->second);
    it->second.pssl = pssl;
    it->second.ppsk = std::move(ppsk);
    it->second.boBroken = false;
  }
  for (;;) {
    ERR_clear_error();
    int rc = boServer ? SSL_accept(pssl) : SSL_connect(pssl);
    if (rc == 1) break;
    int iError = SSL_get_error(pssl, rc);
    short sWait = iError == SSL_ERROR_WANT_READ ? POLLIN : iError == SSL_ERROR_WANT_WRITE ? POLLOUT : 0;
    if (sWait == 0) {
      int iErrno = errno;
      strWhy = "Authentication failed: " + (iError == SSL_ERROR_SYSCALL && ERR_peek_last_error() == 0
                                                ? (iErrno != 0 ? _socketSystem(iErrno) : std::string("connection closed"))
                                                : "TLS: " + _socketTlsReason());
      _socketLinkBroken(iSocket);
      return -1;
    }
    int iWait = _socketWait(iSocket, sWait, llDeadline);
    if (iWait != 0) {
      strWhy = iWait == -1 ? std::string("Authentication failed: no TLS handshake within the time limit")
                           : "Authentication failed: " + _socketSystem(errno);
      _socketLinkBroken(iSocket);
      return -1;
    }
  }
  /* the key, not a certificate, authenticated the peer */
  if (SSL_session_reused(pssl) != 1 || SSL_version(pssl) != TLS1_3_VERSION) {
    strWhy = "Authentication failed: the peer did not prove the instance secret";
    _socketLinkBroken(iSocket);
    return -1;
  }
  return 0;
}

/* A connection that carries TLS.  Returns true, or false with the error text. */
bool _socketHasTls(int iSocket, char **ppcErrorText)
{
  _socketView view = _socketLinkView(iSocket);
  if (view.pssl != nullptr && !view.boBroken) return true;
  _socketSetText(ppcErrorText, view.pssl != nullptr ? "TLS: the conversation is broken"
                                                    : "Not an authenticated connection");
  return false;
}

/* ----------------------------------------------------------- client side */

/*
** Reads the reply of one request.  Returns its code, or -1 when it could not
** be read.  A 666 reply puts its text, control characters escaped, in the
** error text.  The payload is kept in *pmsg (caller frees).
*/
int _socketReply(int iSocket, zor3socketMessage *pmsg, char **ppcErrorText, int64_t llDeadline = 0)
{
  if (llDeadline == 0) llDeadline = _socketDeadline(iSocket);
  if (_socketReadMessage(iSocket, pmsg, llDeadline, ppcErrorText) != 0) return -1;
  if (pmsg->ulCode == SOCKET_RP_ERROR) {
    std::string str = pmsg->pcPayload != nullptr ? std::string(pmsg->pcPayload, pmsg->ulLength) : SOCKET_ERROR_ID;
    _socketSetText(ppcErrorText, _socketPrintable(str).c_str());
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
bool _socketReadRefused(int iSocket, const char *pc, int iGot, int64_t llDeadline, char **ppcErrorText)
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
  if (ulHave < ulTotal) {
    size_t ulMore = 0;
    std::string strWhy;
    _socketRecvAll(iSocket, _socketLinkView(iSocket), acReply + ulHave, ulTotal - ulHave, llDeadline, &ulMore,
                   strWhy);
    ulHave += ulMore;
  }
  std::string str(acReply + SOCKET_HEADER_SIZE, ulHave - SOCKET_HEADER_SIZE);
  _socketSetText(ppcErrorText, _socketPrintable(str).c_str());
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
** The client's handshake on a new connection, all of it within the time
** limit: 14 with the instance in clear, 501 back in clear, then TLS with
** the instance's key.  Returns 0, or -2 with the error text (the
** connection is left to the caller).
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
  int64_t llDeadline = _socketDeadline(iSocket);
  int iResult = -2;
  zor3socketMessage msg{};
  if (strInstance.size() > SOCKET_MAX_TEXT) {
    _socketSetText(ppcErrorText, "Bad Request, invalid size");
  } else if (_socketSendMessage(iSocket, SOCKET_RQ_HELLO, {}, strInstance.c_str(), strInstance.size() + 1,
                                llDeadline, strWhy) != 0) {
    _socketSetText(ppcErrorText, strWhy.c_str());
  } else {
    int iCode = _socketReply(iSocket, &msg, ppcErrorText, llDeadline);
    if (iCode == SOCKET_RP_DONE && msg.ulLength == 0) {
      if (_socketStartTls(iSocket, false, strInstance.c_str(), aucKey, llDeadline, strWhy) == 0)
        iResult = 0;
      else
        _socketSetText(ppcErrorText, strWhy.c_str());
    } else if (iCode >= 0 && iCode != SOCKET_RP_ERROR) {
      _socketSetText(ppcErrorText, "Authentication failed");
    }
  }
  std::free(msg.pcPayload);
  OPENSSL_cleanse(aucKey, sizeof aucKey);
  return iResult;
}

/* Looks the host and the service up, connects and authenticates.  Returns
   the socket, -1 when no daemon could be reached, -2 when the conversation
   was refused or not answered. */
int _socketOpen(const char *pcHost, char **ppcErrorText)
{
  hostent *phostent = ptSOCKETgetHostDescriptor(pcHost, ppcErrorText);
  if (phostent == nullptr) return -1;
  servent *pservent = ptSOCKETgetServiceDescriptor(SOCKET_SERVICE, SOCKET_PROTOCOL, ppcErrorText);
  if (pservent == nullptr) return -1;
  int iSocket = iSOCKETconnect(pservent, phostent, ppcErrorText);
  if (iSocket < 0) return -1;
  if (_socketAuthenticate(iSocket, ppcErrorText) != 0) {
    vSOCKETclose(iSocket);
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
  std::string strInstance;          /* instance of the conversation (14) */
  std::string strUser;              /* its instance user */
  std::string strPeer;              /* the peer's address, for messages */
  sockaddr_in addrPeer{};
  int         iSeconds = kiDefaultSeconds;
  dmguardFiles files;               /* what file requests may reach */
  int         iFile = -1;           /* file of request 7 */
  std::string strDir;               /* private directory, "" until needed */
  int         iCleaner = -1;        /* write end of the cleaner's pipe */
  pid_t       pidCleaner = -1;
  std::string strControl;           /* control file of request 3 or 13, or "" */
  std::string strOutput;            /* output file of the last run */
  std::string strCommand;           /* command of the last run */
  std::vector<unsigned char> vRead; /* buffer of request 8 */
};

/* A refusal, reported on the daemon's side with everything the peer sent escaped. */
void _socketRefused(const _socketConversation &conv, const std::string &strWhy)
{
  omsgsFMTEDO(ZOR0667E, conv.strPeer.c_str(), _socketPrintable(strWhy).c_str());
}

/* Removes a directory tree without following links. */
void _socketRemoveTree(const std::string &strDir)
{
  std::error_code ec;
  std::filesystem::remove_all(strDir, ec);
}

/*
** Makes the private directory once, with its cleaner: a process of a
** session of its own (no signal to the daemon's group reaches it) that
** waits for the write end of a pipe, held by this process only, to close,
** and then removes the directory.  Returns 0, or -1 with errno.
*/
int _socketEnsureDir(_socketConversation &conv)
{
  if (!conv.strDir.empty()) return 0;
  char acTemplate[] = "/tmp/zavXXXXXX";
  if (mkdtemp(acTemplate) == nullptr) return -1;
  int aiPipe[2];
  if (pipe2(aiPipe, O_CLOEXEC) != 0) {
    int iErrno = errno;
    rmdir(acTemplate);
    errno = iErrno;
    return -1;
  }
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    setsid();
    signal(SIGINT, SIG_IGN);
    signal(SIGTERM, SIG_IGN);
    signal(SIGHUP, SIG_IGN);
    signal(SIGPIPE, SIG_IGN);
    /* nothing but the read end stays open: not the connection, not the write end */
    if (aiPipe[0] != 0) dup2(aiPipe[0], 0);
    close_range(1, ~0U, 0);
    char c;
    while (read(0, &c, 1) != 0 && errno == EINTR) {
    }
    _socketRemoveTree(acTemplate);
    _exit(0);
  }
  int iErrno = errno;
  close(aiPipe[0]);
  if (pid < 0) {
    close(aiPipe[1]);
    rmdir(acTemplate);
    errno = iErrno;
    return -1;
  }
  conv.strDir = acTemplate;
  conv.iCleaner = aiPipe[1];
  conv.pidCleaner = pid;
  return 0;
}

/* Removes the private directory and what it holds, and lets its cleaner go. */
void _socketRemoveDir(_socketConversation &conv)
{
  if (conv.strDir.empty()) return;
  _socketRemoveTree(conv.strDir);
  conv.strDir.clear();
  if (conv.iCleaner >= 0) close(conv.iCleaner);
  conv.iCleaner = -1;
  if (conv.pidCleaner > 0) {
    while (waitpid(conv.pidCleaner, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
  conv.pidCleaner = -1;
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
      char *pcText = nullptr;
      if (_socketSend(iSocket, SOCKET_RP_LINE, {}, acLine, std::strlen(acLine), &pcText) != 0) {
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
    iSOCKETsendError(iSocket, 0, SOCKET_ERROR_ID, _socketSystem(iErrno).c_str());
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
** Waits for the run pid to end, telling the client every SOCKET_BEAT_MS
** that it goes on (502).  A client that cannot be told any more has gone:
** the run is ended (SIGTERM, then SIGKILL after the time limit).
** Returns the run's status (_socketRunStatus), or 255.
*/
int _socketWaitRun(int iSocket, const _socketConversation &conv, pid_t pid)
{
  int iPidFd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  int64_t llBeat = _socketNow() + SOCKET_BEAT_MS, llKill = 0;
  bool boGone = false;
  int iRunStatus = 255;
  for (;;) {
    int iStatus = 0;
    pid_t pidDone = waitpid(pid, &iStatus, WNOHANG);
    if (pidDone == pid) {
      iRunStatus = _socketRunStatus(iStatus);
      break;
    }
    if (pidDone < 0 && errno != EINTR) break;
    int64_t llNow = _socketNow();
    if (!boGone && llNow >= llBeat) {
      if (_socketSend(iSocket, SOCKET_RP_RUNNING, {}, nullptr, 0) != 0) {
        boGone = true;
        _socketRefused(conv, "the client went away during the run; the run is ended");
        kill(pid, SIGTERM);
        llKill = llNow + 1000LL * conv.iSeconds;
      }
      llBeat = llNow + SOCKET_BEAT_MS;
    }
    if (boGone && llKill != 0 && llNow >= llKill) {
      kill(pid, SIGKILL);
      llKill = 0;
    }
    /* sleep until the run ends (its pidfd) or the next beat; without a pidfd, in short steps */
    int64_t llWait = boGone ? 100 : std::max<int64_t>(llBeat - llNow, 1);
    if (iPidFd < 0) llWait = std::min<int64_t>(llWait, 20);
    pollfd pfd{iPidFd, POLLIN, 0};
    poll(iPidFd >= 0 ? &pfd : nullptr, iPidFd >= 0 ? 1 : 0, static_cast<int>(llWait));
  }
  if (iPidFd >= 0) close(iPidFd);
  return iRunStatus;
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
    _socketRefused(conv, strWhy);
    _socketSetText(ppcErrorText, strWhy.c_str());
    iSOCKETsendError(iSocket, 0, SOCKET_ERROR_ID, strWhy.c_str());
    return -1;
  }
  const char *pcTop = std::getenv("TOPZAV");
  if (pcTop == nullptr || pcTop[0] == '\0') {
    OPENSSL_cleanse(run.strPassword.data(), run.strPassword.size());
    iSOCKETsendError(iSocket, 0, SOCKET_ERROR_ID, "TOPZAV is not defined");
    return 0;
  }
  std::string strOutput, strMessages;
  int iFdOut = _socketNewFile(conv, "out", strOutput);
  int iErrno = iFdOut < 0 ? errno : 0;
  if (iFdOut >= 0) close(iFdOut);
  int iFdMsg = iErrno == 0 ? _socketNewFile(conv, "msg", strMessages) : -1;
  if (iErrno == 0 && iFdMsg < 0) iErrno = errno;
  int iFdNull = iErrno == 0 ? open("/dev/null", O_RDONLY | O_CLOEXEC) : -1;
  if (iErrno == 0 && iFdNull < 0) iErrno = errno;
  /* above the standard descriptors (a daemon may have closed them), so that
     the child's dup2 calls cannot overwrite one with the other */
  for (int *piFd : {&iFdMsg, &iFdNull}) {
    if (iErrno != 0 || *piFd > 2) continue;
    int iHigh = fcntl(*piFd, F_DUPFD_CLOEXEC, 3);
    if (iHigh < 0) {
      iErrno = errno;
      continue;
    }
    close(*piFd);
    *piFd = iHigh;
  }
  if (iErrno != 0) {
    if (iFdMsg >= 0) close(iFdMsg);
    if (iFdNull >= 0) close(iFdNull);
    OPENSSL_cleanse(run.strPassword.data(), run.strPassword.size());
    iSOCKETsendError(iSocket, 0, SOCKET_ERROR_ID, _socketSystem(iErrno).c_str());
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
  /* the run's environment: the daemon's, the password of -p in ZAV_PASSWORD only */
  std::vector<std::string> vEnv;
  for (char **ppc = environ; ppc != nullptr && *ppc != nullptr; ppc++)
    if (std::strncmp(*ppc, "ZAV_PASSWORD=", 13) != 0) vEnv.push_back(*ppc);
  if (run.boPassword) vEnv.push_back("ZAV_PASSWORD=" + run.strPassword);
  OPENSSL_cleanse(run.strPassword.data(), run.strPassword.size());
  std::vector<char *> vpcEnv;
  for (std::string &str : vEnv) vpcEnv.push_back(str.data());
  vpcEnv.push_back(nullptr);

  std::fflush(nullptr);
  pid_t pidServing = getpid();
  pid_t pid = fork();
  if (pid == 0) {
    /* the run: in the private directory, with nothing of the daemon open;
       ended as its client is when the serving process goes (even killed) */
    if (prctl(PR_SET_PDEATHSIG, SIGTERM) == 0 && getppid() == pidServing && chdir(conv.strDir.c_str()) == 0) {
      dup2(iFdNull, 0);
      dup2(iFdMsg, 1);
      dup2(iFdMsg, 2);
      close_range(3, ~0U, 0);
      execve(vpc[0], vpc.data(), vpcEnv.data());
    }
    const char *pcFail = "db2zav could not be started\n";
    if (write(iFdMsg, pcFail, std::strlen(pcFail)) < 0) {
    }
    _exit(127);
  }
  if (run.boPassword) OPENSSL_cleanse(vEnv.back().data(), vEnv.back().size());
  close(iFdMsg);
  close(iFdNull);
  int iRunStatus = pid > 0 ? _socketWaitRun(iSocket, conv, pid) : 255;

  FILE *pfile = std::fopen(strMessages.c_str(), "re");
  if (pfile == nullptr) {
    iSOCKETsendError(iSocket, 0, SOCKET_ERROR_ID, _socketSystem(errno).c_str());
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
    _socketRefused(conv, std::string("User ") + pcUser + " not allowed");
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
  if (gid == 0) {
    strWhy = "the primary group of the instance user " + conv.strUser + " is root's";
    return -1;
  }
  if (geteuid() == 0 || getuid() == 0) {
    if (initgroups(conv.strUser.c_str(), gid) != 0 || setgid(gid) != 0 || setuid(uid) != 0) {
      strWhy = "cannot become " + conv.strUser + ": " + _socketSystem(errno);
      return -1;
    }
    if (setuid(0) == 0 || geteuid() != uid || getegid() != gid) {
      strWhy = "the identity of " + conv.strUser + " could not be taken for good";
      return -1;
    }
  } else if (geteuid() != uid || getuid() != uid) {
    strWhy = "the daemon cannot serve as " + conv.strUser;
    return -1;
  }
  umask(022);
  return 0;
}

/* The instance name of a hello: printable, no blank, no '/', no separator of
   the configuration's lists, not '.' or '..'.  Returns 0, or -1 with the reason. */
int _socketHelloInstance(const zor3socketMessage &msg, std::string &strInstance, std::string &strWhy)
{
  const char *pc = msg.pcPayload != nullptr ? msg.pcPayload : "";
  size_t ulLength = strnlen(pc, msg.ulLength);
  std::string str(pc, ulLength);
  bool boOk = ulLength > 0 && ulLength <= SOCKET_MAX_TEXT && ulLength + 1 == msg.ulLength && str != "." && str != "..";
  for (unsigned char uc : str)
    if (uc <= 0x20 || uc >= 0x7F || std::strchr("/\\:,;", uc) != nullptr) boOk = false;
  if (!boOk) {
    strWhy = "malformed hello (instance name \"" + str.substr(0, 200) + "\")";
    return -1;
  }
  strInstance = str;
  return 0;
}

/*
** The daemon's handshake, all of it before llDeadline: the hello in clear;
** the instance user's identity taken; the peer's host and the key checked
** as that user; 501 in clear; TLS.  Returns 0 (authenticated), or 16 after
** the refusal (reported through ZOR0667E).
*/
int _socketGreet(int iSocket, _socketConversation &conv, int64_t llDeadline, char **ppcErrorText)
{
  zor3socketMessage msg;
  uint32_t ulVersion = SOCKET_VERSION;
  if (_socketReadMessage(iSocket, &msg, llDeadline, ppcErrorText, &ulVersion) != 0) {
    std::string strWhy = ppcErrorText != nullptr && *ppcErrorText != nullptr ? *ppcErrorText : "";
    if (ulVersion != SOCKET_VERSION)
      strWhy += " (the peer speaks version " + std::to_string(ulVersion) + ", this daemon " +
                std::to_string(SOCKET_VERSION) + ")";
    _socketRefused(conv, strWhy);
    return SOCKET_RC_ERROR;
  }
  std::string strWhy;
  const char *pcReply = "Authentication failed";
  unsigned char aucKey[AUTHKEY_SIZE];
  int rc = -1;
  if (msg.ulCode != SOCKET_RQ_HELLO) {
    strWhy = "request " + std::to_string(msg.ulCode) + " before authentication";
    pcReply = "Authentication required";
  } else if (_socketHelloInstance(msg, conv.strInstance, strWhy) == 0 && _socketBecome(conv, strWhy) == 0 &&
             dmguardPeer(conv.strInstance.c_str(), conv.addrPeer, &strWhy) == 0 &&
             authkeyLoad(conv.strInstance.c_str(), aucKey, &strWhy) == 0) {
    rc = 0;
  }
  std::free(msg.pcPayload);
  if (rc != 0) {
    _socketRefused(conv, strWhy);
    _socketSetText(ppcErrorText, pcReply);
    OPENSSL_cleanse(aucKey, sizeof aucKey);
    return iSOCKETsendError(iSocket, SOCKET_RC_ERROR, SOCKET_ERROR_ID, pcReply);
  }
  if (_socketSendMessage(iSocket, SOCKET_RP_DONE, {}, nullptr, 0, llDeadline, strWhy) != 0 ||
      _socketStartTls(iSocket, true, conv.strInstance.c_str(), aucKey, llDeadline, strWhy) != 0) {
    OPENSSL_cleanse(aucKey, sizeof aucKey);
    _socketRefused(conv, strWhy);
    _socketSetText(ppcErrorText, strWhy.c_str());
    return SOCKET_RC_ERROR;
  }
  OPENSSL_cleanse(aucKey, sizeof aucKey);
  conv.boAuthenticated = true;
  return 0;
}

/* Request 6: does the file exist; {status, blocks}.  Returns 0, or -1 after
   an error reply (a path outside the instance's files). */
int _socketExist(int iSocket, _socketConversation &conv, uint32_t ulBlockSize, const char *pcPath)
{
  int32_t ilStatus = 0;
  uint32_t ulBlocks = 0;
  int iFd = -1, iErrno = 0;
  std::string strWhy;
  int rc = dmguardOpen(conv.strInstance.c_str(), &conv.files, pcPath, &iFd, &iErrno, &strWhy);
  if (rc == DMGUARD_RC_PATH) {
    _socketRefused(conv, std::string(pcPath) + ": " + strWhy);
    iSOCKETsendError(iSocket, 0, SOCKET_ERROR_ID, "Path not allowed");
    return -1;
  }
  if (rc != 0) {
    /* absent only when no such file is there: any other failure (no descriptor
       left, an I/O error, a device that cannot be opened) may not pass for an
       absent file, which a reader would take for one without pages */
    ilStatus = iErrno == ENOENT || iErrno == ENOTDIR ? -1 : -2;
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
  return 0;
}

/* Request 7: opens the conversation's file.  Returns 0, or -1 after an error reply. */
int _socketOpenFile(int iSocket, _socketConversation &conv, const char *pcPath)
{
  if (conv.iFile >= 0) {
    close(conv.iFile);
    conv.iFile = -1;
  }
  int iFd = -1, iErrno = 0;
  std::string strWhy;
  int rc = dmguardOpen(conv.strInstance.c_str(), &conv.files, pcPath, &iFd, &iErrno, &strWhy);
  if (rc == DMGUARD_RC_PATH) {
    _socketRefused(conv, std::string(pcPath) + ": " + strWhy);
    iSOCKETsendError(iSocket, 0, SOCKET_ERROR_ID, "Path not allowed");
    return -1;
  }
  if (rc != 0) {
    iSOCKETsendError(iSocket, 0, SOCKET_ERROR_ID,
                     iErrno == ENOENT || iErrno == ENOTDIR ? "Cant find file size" : "Cant open file");
    return -1;
  }
  conv.iFile = iFd;
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
  char *pcText = nullptr;
  if (_iSOCKETsend(iSocket, conv.vRead.data(), ulSize, &pcText) != 0)
    iSOCKETsendError(iSocket, 0, SOCKET_ERROR_ID, "Cant send message");
  return 0;
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
  int iSeconds = _socketTimeout();
  std::string strWhy;
  for (char **ppc = phostent->h_addr_list; *ppc != nullptr; ppc++) {
    int iSocket = socket(AF_INET, iType | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (iSocket < 0) {
      _socketSetSystem(ppcErrorText, errno);
      return -1;
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = static_cast<in_port_t>(pservent->s_port);
    std::memcpy(&addr.sin_addr, *ppc, std::min<size_t>(sizeof(addr.sin_addr), phostent->h_length));
    int rc = connect(iSocket, reinterpret_cast<sockaddr *>(&addr), sizeof(addr));
    int iErrno = rc == 0 ? 0 : errno;
    if (rc != 0 && (iErrno == EINPROGRESS || iErrno == EINTR)) {
      int iWait = _socketWait(iSocket, POLLOUT, _socketNow() + 1000LL * iSeconds);
      socklen_t len = sizeof iErrno;
      if (iWait == -1)
        iErrno = ETIMEDOUT;
      else if (iWait == -2 || getsockopt(iSocket, SOL_SOCKET, SO_ERROR, &iErrno, &len) != 0)
        iErrno = errno;
    }
    if (iErrno == 0) {
      _socketLinkOpen(iSocket, iSeconds, true);
      return iSocket;
    }
    strWhy = iErrno == ETIMEDOUT ? "No answer within " + std::to_string(iSeconds) + " seconds" : _socketSystem(iErrno);
    close(iSocket);
  }
  _socketSetText(ppcErrorText, strWhy.c_str());
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

int _iSOCKETread(int iSocket, zor3socketMessage *pmsg, char **ppcErrorText)
{
  return _socketReadMessage(iSocket, pmsg, _socketDeadline(iSocket), ppcErrorText);
}

int _iSOCKETsend(int iSocket, const void *pBytes, size_t ulLength, char **ppcErrorText)
{
  std::string strWhy;
  _socketView view = _socketLinkView(iSocket);
  if (_socketSendBytes(iSocket, view, pBytes, ulLength, _socketNow() + 1000LL * _socketSeconds(view), strWhy) ==
      kOk)
    return 0;
  _socketSetText(ppcErrorText, strWhy.c_str());
  return -1;
}

int _iSOCKETstartTls(int iSocket, int boServer, const char *pcInstance, const unsigned char *pucKey,
                     char **ppcErrorText)
{
  std::string strWhy;
  if (_socketStartTls(iSocket, boServer != 0, pcInstance, pucKey, _socketDeadline(iSocket), strWhy) == 0) return 0;
  _socketSetText(ppcErrorText, strWhy.c_str());
  return -1;
}

void vSOCKETclose(int iSocket)
{
  if (iSocket < 0) return;
  _socketLink link;
  bool boShutdown = false;
  {
    struct stat st {};
    bool boStat = fstat(iSocket, &st) == 0;
    auto lock = _socketLock();
    auto it = gptable->map.find(iSocket);
    if (it != gptable->map.end()) {
      /* a number reused by another socket is closed, never written to */
      boShutdown = boStat && st.st_dev == it->second.dev && st.st_ino == it->second.ino && !it->second.boBroken;
      link = std::move(it->second);
      gptable->map.erase(it);
    }
  }
  if (link.pssl != nullptr) {
    ERR_clear_error();
    if (boShutdown) SSL_shutdown(link.pssl);   /* close_notify, without waiting for the peer's */
    ERR_clear_error();
  }
  _socketFreeLink(link);
  shutdown(iSocket, SHUT_RDWR);
  close(iSocket);
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
  if (_socketSetBuffer(iSocket, SO_SNDBUF, 512) != 0 || _socketSetBuffer(iSocket, SO_RCVBUF, 512) != 0) {
    _socketSetSystem(ppcErrorText, errno);
    vSOCKETclose(iSocket);
    return -2;
  }
  if (_socketSend(iSocket, SOCKET_RQ_PING, {}, nullptr, 0, ppcErrorText) != 0) {
    vSOCKETclose(iSocket);
    return -2;
  }
  zor3socketMessage msg;
  int iCode = _socketReply(iSocket, &msg, ppcErrorText);
  std::free(msg.pcPayload);
  if (iCode < 0 || iCode == SOCKET_RP_ERROR) {
    vSOCKETclose(iSocket);
    return -2;
  }
  _socketSend(iSocket, SOCKET_RQ_END, {}, nullptr, 0);
  vSOCKETclose(iSocket);
  return 0;
}

int iSOCKETsaveFile(const char *pcHost, const char *pcText, char **ppcErrorText)
{
  _socketClearError(ppcErrorText);
  if (pcText == nullptr || std::strlen(pcText) > SOCKET_MAX_FILE) return -1;
  int iSocket = _socketOpen(pcHost, ppcErrorText);
  if (iSocket < 0) return -1;
  if (_socketSetBuffer(iSocket, SO_SNDBUF, SOCKET_MAX_MESSAGE) != 0) {
    _socketSetSystem(ppcErrorText, errno);
    vSOCKETclose(iSocket);
    return -1;
  }
  if (_socketSendText(iSocket, SOCKET_RQ_SAVE, {}, pcText, ppcErrorText) != 0) {
    vSOCKETclose(iSocket);
    return -1;
  }
  zor3socketMessage msg;
  int iCode = _socketReply(iSocket, &msg, ppcErrorText);
  std::free(msg.pcPayload);
  if (iCode < 0 || iCode == SOCKET_RP_ERROR) {
    vSOCKETclose(iSocket);
    return -1;
  }
  return iSocket;
}

int iSOCKETexecCmdLocal(int iSocket, const char *pcArguments, char **ppcErrorText)
{
  _socketClearError(ppcErrorText);
  if (pcArguments == nullptr) pcArguments = "";
  if (!_socketHasTls(iSocket, ppcErrorText)) {
    vSOCKETclose(iSocket);
    return -1;
  }
  if (std::strlen(pcArguments) > SOCKET_MAX_TEXT) {
    _socketSetText(ppcErrorText, "Argument string too long");
    _socketSend(iSocket, SOCKET_RQ_END, {}, nullptr, 0);
    vSOCKETclose(iSocket);
    return -1;
  }
  if (_socketSetBuffer(iSocket, SO_SNDBUF, SOCKET_MAX_MESSAGE) != 0) {
    _socketSetSystem(ppcErrorText, errno);
    vSOCKETclose(iSocket);
    return -1;
  }
  if (_socketSendText(iSocket, SOCKET_RQ_RUN, {}, pcArguments, ppcErrorText) != 0) {
    vSOCKETclose(iSocket);
    return -1;
  }
  int iResult = -1;
  for (;;) {
    zor3socketMessage msg;
    int iCode = _socketReply(iSocket, &msg, ppcErrorText);
    if (iCode == SOCKET_RP_LINE || iCode == SOCKET_RP_RUNNING) {
      if (iCode == SOCKET_RP_LINE) {
        std::string strLine = msg.pcPayload != nullptr ? msg.pcPayload : "";
        strLine += '\n';
        omsgsPrint(strLine.c_str(), static_cast<int>(strLine.size()));
      }
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
  char *pcEndError = nullptr;
  if (_socketSend(iSocket, SOCKET_RQ_END, {}, nullptr, 0, &pcEndError) != 0 && iResult >= 0) {
    _socketSetText(ppcErrorText, pcEndError);
    iResult = -1;
  }
  vSOCKETclose(iSocket);
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
  if (_socketSetBuffer(iSocket, SO_SNDBUF, 512) != 0 || _socketSetBuffer(iSocket, SO_RCVBUF, 512) != 0) {
    _socketSetSystem(ppcErrorText, errno);
    vSOCKETclose(iSocket);
    return -2;
  }
  if (_socketSendText(iSocket, SOCKET_RQ_USER, {}, pcUser, ppcErrorText) != 0) {
    vSOCKETclose(iSocket);
    return -2;
  }
  zor3socketMessage msg;
  int iCode = _socketReply(iSocket, &msg, ppcErrorText);
  std::free(msg.pcPayload);
  if (iCode < 0 || iCode == SOCKET_RP_ERROR) {
    vSOCKETclose(iSocket);
    return -2;
  }
  if (_socketSendText(iSocket, SOCKET_RQ_EXIST, {ulBlockSize}, pcPath, ppcErrorText) != 0) {
    vSOCKETclose(iSocket);
    return -2;
  }
  iCode = _socketReply(iSocket, &msg, ppcErrorText);
  if (iCode < 0 || iCode == SOCKET_RP_ERROR) {
    std::free(msg.pcPayload);
    vSOCKETclose(iSocket);
    return -2;
  }
  /* the file is absent only when the daemon says so: a reply without its
     status, or with a status of no meaning, is no answer */
  const unsigned char *puc = reinterpret_cast<const unsigned char *>(msg.pcPayload);
  const unsigned char *pucEnd = puc == nullptr ? nullptr : puc + msg.ulLength;
  uint32_t ulStatus = 0, ulBlocks = 0;
  int iStatus = -2;
  if (iCode == SOCKET_RP_DONE && obyteReadBE32(puc, pucEnd, &ulStatus)) {
    iStatus = static_cast<int32_t>(ulStatus);
    if (iStatus != 0 && iStatus != -1) iStatus = -2;
    if (obyteReadBE32(puc + 4, pucEnd, &ulBlocks)) *pilBlocks = ulBlocks;
  } else {
    _socketSetText(ppcErrorText, "The daemon gave no status for the file");
  }
  std::free(msg.pcPayload);
  /* the answer stands whether or not the end of the conversation could be sent */
  char *pcEndError = nullptr;
  _socketSend(iSocket, SOCKET_RQ_END, {}, nullptr, 0, &pcEndError);
  vSOCKETclose(iSocket);
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
    vSOCKETclose(iSocket);
    return -1;
  }
  zor3socketMessage msg{};
  for (uint32_t ulCode : {SOCKET_RQ_USER, SOCKET_RQ_OPEN}) {
    if (_socketSendText(iSocket, ulCode, {}, ulCode == SOCKET_RQ_USER ? pcUser : pcPath, ppcErrorText) != 0) {
      std::free(msg.pcPayload);
      vSOCKETclose(iSocket);
      return -1;
    }
    std::free(msg.pcPayload);
    int iCode = _socketReply(iSocket, &msg, ppcErrorText);
    if (iCode < 0 || iCode == SOCKET_RP_ERROR) {
      std::free(msg.pcPayload);
      vSOCKETclose(iSocket);
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
  if (!_socketHasTls(iSocket, ppcErrorText)) return -1;
  if (_socketSetBuffer(iSocket, SO_SNDBUF, 20) != 0 || _socketSetBuffer(iSocket, SO_RCVBUF, SOCKET_MAX_READ) != 0) {
    _socketSetSystem(ppcErrorText, errno);
    shutdown(iSocket, SHUT_RDWR);
    return -1;
  }
  int64_t llDeadline = _socketDeadline(iSocket);
  std::string strWhy;
  if (_socketSendMessage(iSocket, SOCKET_RQ_READ, {static_cast<uint32_t>(iSize), static_cast<uint32_t>(iBlock)},
                         nullptr, 0, llDeadline, strWhy) != 0) {
    _socketSetText(ppcErrorText, strWhy.c_str());
    shutdown(iSocket, SHUT_RDWR);
    return -1;
  }
  char *pc = static_cast<char *>(pBuffer);
  size_t ulGot = 0;
  _socketView view = _socketLinkView(iSocket);
  _socketOutcome outcome = _socketRecvAll(iSocket, view, pc, static_cast<size_t>(iSize), llDeadline, &ulGot, strWhy);
  if (_socketReadRefused(iSocket, pc, static_cast<int>(ulGot), llDeadline, ppcErrorText)) {
    shutdown(iSocket, SHUT_RDWR);
    return -1;
  }
  if (outcome != kOk) {
    if (outcome == kClosed)
      _socketSetText(ppcErrorText, "Connection closed before the data was complete");
    else if (outcome == kTimeout)
      _socketSetText(ppcErrorText, _socketStallText(view).c_str());
    else
      _socketSetText(ppcErrorText, strWhy.c_str());
    shutdown(iSocket, SHUT_RDWR);
    return -1;
  }
  return static_cast<int>(ulGot);
}

int iSOCKETlseekFile(int iSocket, int32_t iCount, int32_t iUnit, int32_t iOffset, char **ppcErrorText)
{
  _socketClearError(ppcErrorText);
  if (!_socketHasTls(iSocket, ppcErrorText)) return -1;
  if (_socketSetBuffer(iSocket, SO_SNDBUF, 24) != 0 || _socketSetBuffer(iSocket, SO_RCVBUF, 512) != 0) {
    _socketSetSystem(ppcErrorText, errno);
    return -1;
  }
  if (_socketSend(iSocket, SOCKET_RQ_SEEK,
                  {static_cast<uint32_t>(iUnit), static_cast<uint32_t>(iCount), static_cast<uint32_t>(iOffset)},
                  nullptr, 0, ppcErrorText) != 0)
    return -1;
  zor3socketMessage msg;
  int iCode = _socketReply(iSocket, &msg, ppcErrorText);
  std::free(msg.pcPayload);
  return iCode < 0 || iCode == SOCKET_RP_ERROR ? -1 : 0;
}

int iSOCKETcloseFile(int iSocket, char **ppcErrorText)
{
  _socketClearError(ppcErrorText);
  int iResult = 0;
  if (!_socketHasTls(iSocket, ppcErrorText)) {
    iResult = -1;
  } else if (_socketSetBuffer(iSocket, SO_SNDBUF, 12) != 0) {
    _socketSetSystem(ppcErrorText, errno);
    iResult = -1;
  } else if (_socketSend(iSocket, SOCKET_RQ_CLOSE, {}, nullptr, 0, ppcErrorText) != 0) {
    iResult = -1;
  } else {
    zor3socketMessage msg;
    int iCode = _socketReply(iSocket, &msg, ppcErrorText);
    std::free(msg.pcPayload);
    if (iCode < 0 || iCode == SOCKET_RP_ERROR) iResult = -1;
  }
  vSOCKETclose(iSocket);
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
  /* the daemon's TLS context, made once here so that every conversation's
     process inherits it instead of loading OpenSSL's algorithms again */
  _socketTlsContext(true);
  return 0;
}

int iSOCKETaccept(int iSocket, void *pAddress, char **ppcErrorText)
{
  _socketClearError(ppcErrorText);
  sockaddr_in addr{};
  for (;;) {
    socklen_t len = sizeof(addr);
    int iConnection = accept4(iSocket, reinterpret_cast<sockaddr *>(&addr), &len, SOCK_CLOEXEC);
    if (iConnection >= 0) {
      if (pAddress != nullptr) std::memcpy(pAddress, &addr, std::min<size_t>(16, sizeof(addr)));
      return iConnection;
    }
    if (errno != EINTR) break;
  }
  _socketSetSystem(ppcErrorText, errno);
  return -1;
}

int iSOCKETdoService(int iSocket, char **ppcErrorText)
{
  _socketClearError(ppcErrorText);
  fcntl(iSocket, F_SETFD, FD_CLOEXEC);
  _socketConversation conv;
  socklen_t lenPeer = sizeof conv.addrPeer;
  char acPeer[INET_ADDRSTRLEN] = "?";
  if (getpeername(iSocket, reinterpret_cast<sockaddr *>(&conv.addrPeer), &lenPeer) == 0 &&
      conv.addrPeer.sin_family == AF_INET)
    inet_ntop(AF_INET, &conv.addrPeer.sin_addr, acPeer, sizeof acPeer);
  else
    conv.addrPeer = sockaddr_in{};
  conv.strPeer = acPeer;
  conv.iSeconds = _socketTimeout();
  _socketLinkOpen(iSocket, conv.iSeconds, false);
  /* the children of the conversation (its cleaner, a run) are waited for
     here, whatever the daemon program does with SIGCHLD */
  struct sigaction actOld {}, actDefault {};
  actDefault.sa_handler = SIG_DFL;
  sigemptyset(&actDefault.sa_mask);
  sigaction(SIGCHLD, &actDefault, &actOld);

  int iResult = _socketGreet(iSocket, conv, _socketNow() + 1000LL * conv.iSeconds, ppcErrorText);
  bool boEnd = iResult != 0;
  while (!boEnd) {
    zor3socketMessage msg;
    iResult = _iSOCKETread(iSocket, &msg, ppcErrorText);
    /* a stalled peer, a broken TLS (injected or altered bytes) are reported;
       a peer that hung up was (ZOR0666F) */
    if (iResult != 0 && ppcErrorText != nullptr && *ppcErrorText != nullptr &&
        std::strcmp(*ppcErrorText, "Error receive empty request") != 0)
      _socketRefused(conv, *ppcErrorText);
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
    /* A file request's path: refused when too long. */
    auto pathSized = [&](const char *pcPath, size_t ulMax) {
      if (strnlen(pcPath, ulMax + 1) <= ulMax) return true;
      _socketRefused(conv, std::string("path longer than ") + std::to_string(ulMax) + " bytes");
      fail("Bad Request, invalid size");
      return false;
    };
    switch (ulCode) {
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
        if (pathSized(pcText + 4, SOCKET_MAX_PATH6) && _socketExist(iSocket, conv, aul[0], pcText + 4) != 0) {
          _socketSetText(ppcErrorText, "Path not allowed");
          iResult = SOCKET_RC_ERROR;
          boEnd = true;
        }
        break;
      case SOCKET_RQ_OPEN:
        if (!pathSized(pcText, SOCKET_MAX_TEXT)) break;
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
        boEnd = true;
        break;
      default:
        fail("Bad Request");
        break;
    }
    /* a run's arguments may hold a password */
    if (msg.pcPayload != nullptr) OPENSSL_cleanse(msg.pcPayload, msg.ulLength);
    std::free(msg.pcPayload);
  }
  if (conv.iFile >= 0) close(conv.iFile);
  _socketRemoveDir(conv);
  sigaction(SIGCHLD, &actOld, nullptr);
  vSOCKETclose(iSocket);
  return iResult;
}
