/*
** authkey.cpp
**   The instance secret and the pre-shared key derived from it (see
**   authkey.h).  Every byte of cryptography comes from OpenSSL's libcrypto:
**   the random generator for keys, HMAC-SHA-256 for the derivation.
*/
#include "io/authkey.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include "model/config.h"

namespace {

constexpr char kacDomain[] = "db2zavdm-tls13-psk";
constexpr size_t kulKeyText = 2 * AUTHKEY_SIZE;

std::string _authkeySystem(const std::string &strPath, int iErrno)
{
  char ac[256];
  return strPath + ": " + strerror_r(iErrno, ac, sizeof ac);
}

int _authkeyHex(char c)
{
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool _authkeyBlank(char c)
{
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

/* Decodes the text of a key file.  Returns true for 64 hex digits between blanks. */
bool _authkeyDecode(const char *pc, size_t ulLength, unsigned char *pucKey)
{
  size_t ulStart = 0, ulEnd = ulLength;
  while (ulStart < ulEnd && _authkeyBlank(pc[ulStart])) ulStart++;
  while (ulEnd > ulStart && _authkeyBlank(pc[ulEnd - 1])) ulEnd--;
  if (ulEnd - ulStart != kulKeyText) return false;
  for (size_t i = 0; i < AUTHKEY_SIZE; i++) {
    int iHigh = _authkeyHex(pc[ulStart + 2 * i]), iLow = _authkeyHex(pc[ulStart + 2 * i + 1]);
    if (iHigh < 0 || iLow < 0) return false;
    pucKey[i] = static_cast<unsigned char>(iHigh << 4 | iLow);
  }
  return true;
}

}  // namespace

int authkeyInstanceUser(const char *pcInstance, std::string *pstrUser, uid_t *puid, gid_t *pgid,
                        std::string *pstrWhy)
{
  char *pcUser = pcInstance != nullptr ? configUseItemInLst(CONFIG_ITEM_INSTUSERS, 1, pcInstance) : nullptr;
  if (pcUser == nullptr) {
    if (pstrWhy != nullptr) *pstrWhy = std::string("no instance user for instance ") + (pcInstance ? pcInstance : "");
    return AUTHKEY_RC_NOUSER;
  }
  std::string strUser = pcUser;
  std::free(pcUser);
  passwd pw{}, *ppw = nullptr;
  char ac[4096];
  if (getpwnam_r(strUser.c_str(), &pw, ac, sizeof ac, &ppw) != 0 || ppw == nullptr) {
    if (pstrWhy != nullptr) *pstrWhy = "unknown instance user " + strUser;
    return AUTHKEY_RC_NOUSER;
  }
  if (pstrUser != nullptr) *pstrUser = strUser;
  if (puid != nullptr) *puid = ppw->pw_uid;
  if (pgid != nullptr) *pgid = ppw->pw_gid;
  return 0;
}

int authkeyPath(const char *pcInstance, std::string &strPath)
{
  char *pcHome = pcInstance != nullptr ? configUseItemInLst(CONFIG_ITEM_INSTHOMES, 1, pcInstance) : nullptr;
  if (pcHome == nullptr || pcHome[0] == '\0') {
    std::free(pcHome);
    return AUTHKEY_RC_NOHOME;
  }
  strPath = std::string(pcHome) + "/" AUTHKEY_FILE;
  std::free(pcHome);
  return 0;
}

int authkeyLoad(const char *pcInstance, unsigned char *pucKey, std::string *pstrWhy)
{
  std::string strWhy, strPath;
  uid_t uid = 0;
  int rc = authkeyPath(pcInstance, strPath);
  if (rc != 0) strWhy = std::string("no home for instance ") + (pcInstance ? pcInstance : "");
  if (rc == 0) rc = authkeyInstanceUser(pcInstance, nullptr, &uid, nullptr, &strWhy);
  int iFd = -1;
  if (rc == 0) {
    iFd = open(strPath.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (iFd < 0) {
      strWhy = _authkeySystem(strPath, errno);
      rc = AUTHKEY_RC_NOFILE;
    }
  }
  if (rc == 0) {
    struct stat st;
    if (fstat(iFd, &st) != 0) {
      strWhy = _authkeySystem(strPath, errno);
      rc = AUTHKEY_RC_NOFILE;
    } else if (!S_ISREG(st.st_mode)) {
      strWhy = strPath + ": not a regular file";
      rc = AUTHKEY_RC_UNSAFE;
    } else if (st.st_uid != uid) {
      strWhy = strPath + ": not owned by the instance user";
      rc = AUTHKEY_RC_UNSAFE;
    } else if ((st.st_mode & 077) != 0) {
      strWhy = strPath + ": readable or writable by others than its owner";
      rc = AUTHKEY_RC_UNSAFE;
    }
  }
  if (rc == 0) {
    char ac[256];
    ssize_t l;
    do l = read(iFd, ac, sizeof ac); while (l < 0 && errno == EINTR);
    if (l < 0) {
      strWhy = _authkeySystem(strPath, errno);
      rc = AUTHKEY_RC_NOFILE;
    } else if (!_authkeyDecode(ac, static_cast<size_t>(l), pucKey)) {
      strWhy = strPath + ": not 64 hexadecimal digits";
      rc = AUTHKEY_RC_BADKEY;
    }
    OPENSSL_cleanse(ac, sizeof ac);
  }
  if (iFd >= 0) close(iFd);
  if (pstrWhy != nullptr) *pstrWhy = strWhy;
  return rc;
}

int authkeyCreate(const char *pcInstance, std::string *pstrPath, int *pboCreated, std::string *pstrWhy)
{
  *pboCreated = 0;
  std::string strWhy, strPath, strUser;
  uid_t uid = 0;
  gid_t gid = 0;
  int rc = authkeyPath(pcInstance, strPath);
  if (rc != 0) strWhy = std::string("no home for instance ") + (pcInstance ? pcInstance : "");
  if (rc == 0) rc = authkeyInstanceUser(pcInstance, &strUser, &uid, &gid, &strWhy);
  if (rc == 0 && geteuid() != 0 && geteuid() != uid) {
    strWhy = "only root or the instance user " + strUser + " may make the key file";
    rc = AUTHKEY_RC_CALLER;
  }
  if (pstrPath != nullptr) *pstrPath = strPath;
  if (rc != 0) {
    if (pstrWhy != nullptr) *pstrWhy = strWhy;
    return rc;
  }
  int iFd = open(strPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (iFd < 0 && errno == EEXIST) {
    unsigned char aucKey[AUTHKEY_SIZE];
    rc = authkeyLoad(pcInstance, aucKey, pstrWhy);
    OPENSSL_cleanse(aucKey, sizeof aucKey);
    return rc;
  }
  if (iFd < 0) {
    if (pstrWhy != nullptr) *pstrWhy = _authkeySystem(strPath, errno);
    return AUTHKEY_RC_NOFILE;
  }
  unsigned char aucKey[AUTHKEY_SIZE];
  char acText[kulKeyText + 2];
  rc = authkeyRandom(aucKey, sizeof aucKey);
  if (rc != 0) strWhy = "no random bytes from libcrypto";
  if (rc == 0) {
    static const char kacDigits[] = "0123456789abcdef";
    for (size_t i = 0; i < AUTHKEY_SIZE; i++) {
      acText[2 * i] = kacDigits[aucKey[i] >> 4];
      acText[2 * i + 1] = kacDigits[aucKey[i] & 15];
    }
    acText[kulKeyText] = '\n';
    if (write(iFd, acText, kulKeyText + 1) != static_cast<ssize_t>(kulKeyText + 1) ||
        (geteuid() == 0 && fchown(iFd, uid, gid) != 0) || fsync(iFd) != 0) {
      strWhy = _authkeySystem(strPath, errno);
      rc = AUTHKEY_RC_NOFILE;
    }
  }
  OPENSSL_cleanse(aucKey, sizeof aucKey);
  OPENSSL_cleanse(acText, sizeof acText);
  if (close(iFd) != 0 && rc == 0) {
    strWhy = _authkeySystem(strPath, errno);
    rc = AUTHKEY_RC_NOFILE;
  }
  if (rc != 0) {
    unlink(strPath.c_str());
    if (pstrWhy != nullptr) *pstrWhy = strWhy;
    return rc;
  }
  *pboCreated = 1;
  if (pstrWhy != nullptr) pstrWhy->clear();
  return 0;
}

int authkeyRandom(unsigned char *puc, size_t ulLength)
{
  return RAND_bytes(puc, static_cast<int>(ulLength)) == 1 ? 0 : AUTHKEY_RC_CRYPTO;
}

int authkeyPsk(const unsigned char *pucKey, const char *pcInstance, unsigned char *pucPsk)
{
  std::string strData(kacDomain, sizeof kacDomain);             /* with its NUL */
  strData.append(pcInstance != nullptr ? pcInstance : "");
  unsigned int uiLength = 0;
  unsigned char *puc = HMAC(EVP_sha256(), pucKey, AUTHKEY_SIZE, reinterpret_cast<const unsigned char *>(strData.data()),
                            strData.size(), pucPsk, &uiLength);
  return puc != nullptr && uiLength == AUTHKEY_PSK_SIZE ? 0 : AUTHKEY_RC_CRYPTO;
}
