/*
** dmguard.cpp
**   The daemon's allow lists of hosts, files and run arguments (see
**   dmguard.h).  Everything read here comes from the instance's own files
**   or from the peer, and is checked before it is followed: a control file
**   record's container count and each entry are checked against the record.
*/
#include "io/dmguard.h"

#include <arpa/inet.h>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <netdb.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/obyte.h"
#include "model/config.h"
#include "io/socket.h"
#include "model/tools.h"

namespace {

constexpr size_t kulRecord = 65536;          /* one SQLSPCS.1 record */
constexpr size_t kulOffId = 8;               /* i16 table-space id */
constexpr size_t kulOffCount = 0x424;        /* u32 number of containers */
constexpr size_t kulOffEntries = 0x6000;     /* container entries */
constexpr size_t kulEntryHead = 52;          /* bytes before an entry's path */

std::string _guardHome(const char *pcInstance)
{
  char *pc = configUseItemInLst(CONFIG_ITEM_INSTHOMES, 1, pcInstance);
  std::string str = pc != nullptr ? pc : "";
  std::free(pc);
  return str;
}

/* The canonical form of a path, or "" when it cannot be resolved. */
std::string _guardReal(const std::string &strPath)
{
  char ac[PATH_MAX];
  return realpath(strPath.c_str(), ac) != nullptr ? std::string(ac) : std::string();
}

bool _guardBelow(const std::string &strPath, const std::string &strTree)
{
  return strPath == strTree || (strPath.size() > strTree.size() && strPath.compare(0, strTree.size(), strTree) == 0 &&
                                strPath[strTree.size()] == '/');
}

/*
** The components of a path, or false when one of them is '.' or '..'.
** Empty components (doubled or trailing slashes) are dropped.
*/
bool _guardSplit(const std::string &strPath, std::vector<std::string> *pv)
{
  pv->clear();
  size_t ulStart = 0;
  while (ulStart <= strPath.size()) {
    size_t ulEnd = strPath.find('/', ulStart);
    if (ulEnd == std::string::npos) ulEnd = strPath.size();
    std::string str = strPath.substr(ulStart, ulEnd - ulStart);
    if (str == "." || str == "..") return false;
    if (!str.empty()) pv->push_back(str);
    ulStart = ulEnd + 1;
  }
  return true;
}

/* An absolute path of components. */
std::string _guardJoin(const std::vector<std::string> &v, size_t ulCount)
{
  std::string str;
  for (size_t i = 0; i < ulCount && i < v.size(); i++) str += "/" + v[i];
  return str.empty() ? "/" : str;
}

/* True when the name is cPrefix followed by exactly iDigits digits. */
bool _guardNumbered(const char *pcName, const char *pcPrefix, size_t ulDigits)
{
  size_t ulPrefix = std::strlen(pcPrefix);
  if (std::strncmp(pcName, pcPrefix, ulPrefix) != 0 || std::strlen(pcName) != ulPrefix + ulDigits) return false;
  for (size_t i = ulPrefix; i < ulPrefix + ulDigits; i++)
    if (pcName[i] < '0' || pcName[i] > '9') return false;
  return true;
}

std::vector<std::string> _guardSubdirs(const std::string &strDir, const char *pcPrefix, size_t ulDigits)
{
  std::vector<std::string> v;
  DIR *pdir = opendir(strDir.c_str());
  if (pdir == nullptr) return v;
  for (dirent *pent = readdir(pdir); pent != nullptr; pent = readdir(pdir))
    if (_guardNumbered(pent->d_name, pcPrefix, ulDigits)) v.push_back(strDir + "/" + pent->d_name);
  closedir(pdir);
  return v;
}

/* Adds strName as a root when it exists and may be one; a refusal is kept with its reason. */
void _guardAddRoot(const std::string &strName, const std::string &strSource, dmguardFiles *pfiles)
{
  std::vector<std::string> v;
  if (!_guardSplit(strName, &v)) {
    pfiles->vRefused.push_back(strName + " (" + strSource + "): a '..' or '.' component");
    return;
  }
  std::string strReal = _guardReal(strName);
  struct stat st;
  if (strReal.empty() || stat(strReal.c_str(), &st) != 0) return;
  bool boTree = S_ISDIR(st.st_mode);
  if (dmguardSystemPath(strReal, boTree, S_ISBLK(st.st_mode))) {
    pfiles->vRefused.push_back(strName + " (" + strSource + "): resolves to the system path " + strReal);
    return;
  }
  dmguardRoot root;
  root.strName = _guardJoin(v, v.size());
  root.strReal = strReal;
  root.boTree = boTree;
  root.dev = st.st_dev;
  root.ino = st.st_ino;
  pfiles->vRoots.push_back(root);
}

/* Adds the containers one control file names. */
void _guardContainers(const std::string &strDbDir, dmguardFiles *pfiles)
{
  std::string strFile = strDbDir + "/SQLSPCS.1";
  int iFd = open(strFile.c_str(), O_RDONLY | O_CLOEXEC);
  if (iFd < 0) return;
  std::vector<unsigned char> v(kulRecord);
  for (;;) {
    size_t ulGot = 0;
    while (ulGot < kulRecord) {
      ssize_t l = read(iFd, v.data() + ulGot, kulRecord - ulGot);
      if (l < 0 && errno == EINTR) continue;
      if (l <= 0) break;
      ulGot += static_cast<size_t>(l);
    }
    if (ulGot < kulRecord) break;
    const unsigned char *puc = v.data(), *pucEnd = v.data() + kulRecord;
    if (static_cast<int16_t>(obyteGetLE16(puc + kulOffId)) < 0) continue;
    uint32_t ulCount = obyteGetLE32(puc + kulOffCount);
    const unsigned char *pucEntry = puc + kulOffEntries;
    for (uint32_t i = 0; i < ulCount && pucEntry + kulEntryHead < pucEnd; i++) {
      const char *pcName = reinterpret_cast<const char *>(pucEntry + kulEntryHead);
      size_t ulName = strnlen(pcName, static_cast<size_t>(pucEnd - (pucEntry + kulEntryHead)));
      if (pucEntry + kulEntryHead + ulName >= pucEnd || ulName == 0) break;
      std::string strName(pcName, ulName);
      _guardAddRoot(strName[0] == '/' ? strName : strDbDir + "/" + strName, "a container of " + strFile, pfiles);
      pucEntry += kulEntryHead + ulName + 1;
    }
  }
  close(iFd);
}

void _guardGather(const char *pcInstance, dmguardFiles *pfiles)
{
  pfiles->boBuilt = true;
  std::vector<std::string> vPaths;
  std::string strHome = _guardHome(pcInstance);
  if (!strHome.empty()) vPaths.push_back(strHome);
  char *pcPaths = configUseItemInLst(CONFIG_ITEM_DBPATHS, 1, pcInstance);
  if (pcPaths != nullptr) {
    std::string str = pcPaths;
    std::free(pcPaths);
    for (size_t ulStart = 0; ulStart <= str.size();) {
      size_t ulEnd = str.find(';', ulStart);
      if (ulEnd == std::string::npos) ulEnd = str.size();
      if (ulEnd > ulStart) vPaths.push_back(str.substr(ulStart, ulEnd - ulStart));
      ulStart = ulEnd + 1;
    }
  }
  for (const std::string &strPath : vPaths) {
    size_t ulBefore = pfiles->vRoots.size();
    _guardAddRoot(strPath + "/" + pcInstance, "a database path", pfiles);
    if (pfiles->vRoots.size() == ulBefore || !pfiles->vRoots.back().boTree) continue;
    std::string strTree = pfiles->vRoots.back().strReal;
    for (const std::string &strNode : _guardSubdirs(strTree, "NODE", 4))
      for (const std::string &strDb : _guardSubdirs(strNode, "SQL", 5)) _guardContainers(strDb, pfiles);
  }
}

/*
** Opens the components of strRest beneath the directory iDir, never
** following a link; iDir is closed.  Returns the descriptor, or -1 with
** *piErrno (ELOOP: a component is a link).
*/
int _guardOpenBeneath(int iDir, const std::vector<std::string> &vRest, int *piErrno)
{
  for (size_t i = 0; i < vRest.size(); i++) {
    bool boLast = i + 1 == vRest.size();
    int iFlags = boLast ? O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC
                        : O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    int iNext = openat(iDir, vRest[i].c_str(), iFlags);
    if (iNext < 0) {
      *piErrno = errno;
      struct stat st;
      if ((*piErrno == ENOTDIR || *piErrno == ELOOP) &&
          fstatat(iDir, vRest[i].c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
        *piErrno = ELOOP;
      close(iDir);
      return -1;
    }
    close(iDir);
    iDir = iNext;
  }
  if (vRest.empty()) {
    /* the root directory itself */
    int iFd = openat(iDir, ".", O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (iFd < 0) *piErrno = errno;
    close(iDir);
    return iFd;
  }
  return iDir;
}

/* The canonical path of an open descriptor, or "" when the system cannot say. */
std::string _guardOpenedPath(int iFd)
{
  char acLink[64], ac[PATH_MAX];
  std::snprintf(acLink, sizeof acLink, "/proc/self/fd/%d", iFd);
  ssize_t l = readlink(acLink, ac, sizeof ac - 1);
  if (l <= 0) return std::string();
  return std::string(ac, static_cast<size_t>(l));
}

/* The IPv4 addresses of a host name. */
std::vector<in_addr_t> _guardAddresses(const std::string &strHost)
{
  std::vector<in_addr_t> v;
  addrinfo hints{}, *pres = nullptr;
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  if (getaddrinfo(strHost.c_str(), nullptr, &hints, &pres) != 0) return v;
  for (addrinfo *p = pres; p != nullptr; p = p->ai_next)
    v.push_back(reinterpret_cast<sockaddr_in *>(p->ai_addr)->sin_addr.s_addr);
  freeaddrinfo(pres);
  return v;
}

}  // namespace

int dmguardPeer(const char *pcInstance, const sockaddr_in &addrPeer, std::string *pstrWhy)
{
  if ((ntohl(addrPeer.sin_addr.s_addr) >> 24) == 127) return 0;
  std::vector<std::string> vHosts;
  std::string strHome = _guardHome(pcInstance);
  FILE *pfile = strHome.empty() ? nullptr : std::fopen((strHome + "/sqllib/db2nodes.cfg").c_str(), "re");
  if (pfile != nullptr) {
    char acLine[512];
    while (std::fgets(acLine, sizeof acLine, pfile) != nullptr) {
      char acNode[64], acHost[256];
      if (std::sscanf(acLine, "%63s %255s", acNode, acHost) == 2) vHosts.push_back(acHost);
    }
    std::fclose(pfile);
  } else {
    char acHost[256];
    if (gethostname(acHost, sizeof acHost) == 0) {
      acHost[sizeof acHost - 1] = '\0';
      vHosts.push_back(acHost);
    }
  }
  for (const std::string &strHost : vHosts)
    for (in_addr_t addr : _guardAddresses(strHost))
      if (addr == addrPeer.sin_addr.s_addr) return 0;
  if (pstrWhy != nullptr) {
    char ac[INET_ADDRSTRLEN] = "";
    inet_ntop(AF_INET, &addrPeer.sin_addr, ac, sizeof ac);
    *pstrWhy = std::string("host ") + ac + " is not a host of instance " + pcInstance;
  }
  return DMGUARD_RC_HOST;
}

bool dmguardSystemPath(const std::string &strReal, bool boTree, bool boBlock)
{
  static const char *const kapcNever[] = {"/bin", "/boot", "/etc", "/lib", "/lib32", "/lib64", "/libx32",
                                          "/proc", "/root", "/sbin", "/sys", "/usr"};
  static const char *const kapcTop[] = {"/dev", "/home", "/media", "/mnt", "/opt", "/run", "/srv", "/tmp", "/var"};
  if (strReal.empty() || strReal == "/") return true;
  for (const char *pc : kapcNever)
    if (_guardBelow(strReal, pc)) return true;
  for (const char *pc : kapcTop)
    if (strReal == pc) return true;
  if (_guardBelow(strReal, "/dev") && (boTree || !boBlock)) return true;
  return false;
}

int dmguardOpen(const char *pcInstance, dmguardFiles *pfiles, const char *pcPath, int *piFd, int *piErrno,
                std::string *pstrWhy)
{
  *piFd = -1;
  *piErrno = 0;
  auto refuse = [&](const std::string &strWhy) {
    if (pstrWhy != nullptr) *pstrWhy = strWhy;
    return DMGUARD_RC_PATH;
  };
  if (pcPath == nullptr || pcPath[0] != '/') return refuse("Path not allowed (not absolute)");
  if (std::strlen(pcPath) > SOCKET_MAX_TEXT) return refuse("Bad Request, invalid size");
  std::vector<std::string> vPath;
  if (!_guardSplit(pcPath, &vPath)) return refuse("Path not allowed (a '.' or '..' component)");
  if (!pfiles->boBuilt) _guardGather(pcInstance, pfiles);

  /* the most precise root the path names, by the root's name or its canonical form */
  const dmguardRoot *proot = nullptr;
  size_t ulDepth = 0;
  for (const dmguardRoot &root : pfiles->vRoots) {
    for (const std::string *pstrForm : {&root.strName, &root.strReal}) {
      std::vector<std::string> vRoot;
      if (!_guardSplit(*pstrForm, &vRoot) || vRoot.size() > vPath.size() || vRoot.size() < ulDepth ||
          (!root.boTree && vRoot.size() != vPath.size()) || !std::equal(vRoot.begin(), vRoot.end(), vPath.begin()))
        continue;
      if (proot == nullptr || vRoot.size() > ulDepth) {
        proot = &root;
        ulDepth = vRoot.size();
      }
    }
  }
  if (proot == nullptr) return refuse("Path not allowed");

  /* the root as it was gathered, then the rest beneath it without links */
  int iRoot = open(proot->strReal.c_str(), (proot->boTree ? O_PATH | O_DIRECTORY : O_RDONLY | O_NONBLOCK) | O_CLOEXEC);
  struct stat st;
  if (iRoot < 0 || fstat(iRoot, &st) != 0 || st.st_dev != proot->dev || st.st_ino != proot->ino) {
    if (iRoot >= 0) close(iRoot);
    return refuse("Path not allowed (" + proot->strReal + " changed since the conversation began)");
  }
  int iFd = iRoot;
  if (proot->boTree) {
    std::vector<std::string> vRest(vPath.begin() + static_cast<std::ptrdiff_t>(ulDepth), vPath.end());
    int iErrno = 0;
    iFd = _guardOpenBeneath(iRoot, vRest, &iErrno);
    if (iFd < 0 && iErrno == ELOOP) return refuse("Path not allowed (a symbolic link in the path)");
    if (iFd < 0) {
      *piErrno = iErrno;
      return DMGUARD_RC_OPEN;
    }
  }

  /* what was opened: a file, a block device or a directory within a root */
  std::string strOpened = _guardOpenedPath(iFd);
  bool boWithin = strOpened.empty();
  for (const dmguardRoot &root : pfiles->vRoots)
    if (root.boTree ? _guardBelow(strOpened, root.strReal) : strOpened == root.strReal) boWithin = true;
  if (fstat(iFd, &st) != 0 || !(S_ISREG(st.st_mode) || S_ISBLK(st.st_mode) || S_ISDIR(st.st_mode))) {
    close(iFd);
    return refuse("Path not allowed (not a file, a block device or a directory)");
  }
  if (!boWithin) {
    close(iFd);
    return refuse("Path not allowed (opened " + strOpened + ")");
  }
  *piFd = iFd;
  return 0;
}

int dmguardRunArguments(const char *pcInstance, const char *pcArguments, dmguardRun *prun, std::string *pstrWhy)
{
  struct Option {
    char        cShort;     /* 0: long only */
    const char *pcLong;
    int         iValue;     /* 0 none, 1 required, 2 optional (long "=n" only) */
  };
  static const Option kaOptions[] = {
      {'i', "instance", 1}, {'d', "database", 1}, {'u', "user", 1},       {'p', "password", 1},
      {0, "part", 1},       {0, "partition", 1},  {0, "threads", 1},      {'b', "buffers", 1},
      {'l', "local", 0},    {'n', "noexecute", 0}, {'a', "abnormal", 0},   {'e', "extended_test", 0},
      {0, "verbose", 0},    {0, "purge", 2}};
  auto refuse = [&](const std::string &strWhy) {
    if (pstrWhy != nullptr) *pstrWhy = strWhy;
    return DMGUARD_RC_ARGS;
  };

  std::vector<std::string> vWords;
  std::string strWord;
  for (const char *pc = pcArguments != nullptr ? pcArguments : "";; pc++) {
    if (*pc == '\0' || *pc == ' ' || *pc == '\t' || *pc == '\n' || *pc == '\r') {
      if (!strWord.empty()) vWords.push_back(strWord);
      strWord.clear();
      if (*pc == '\0') break;
    } else {
      strWord += *pc;
    }
  }

  *prun = dmguardRun{};
  for (size_t i = 0; i < vWords.size(); i++) {
    const std::string &str = vWords[i];
    const Option *popt = nullptr;
    std::string strValue;
    bool boValue = false;
    if (str.size() >= 3 && str.compare(0, 2, "--") == 0) {
      size_t ulEq = str.find('=');
      std::string strName = str.substr(2, ulEq == std::string::npos ? std::string::npos : ulEq - 2);
      for (const Option &opt : kaOptions)
        if (strName == opt.pcLong) popt = &opt;
      if (popt != nullptr && ulEq != std::string::npos) {
        if (popt->iValue == 0) return refuse("Option " + str + " takes no value");
        strValue = str.substr(ulEq + 1);
        boValue = true;
      }
    } else if (str.size() >= 2 && str[0] == '-' && str[1] != '-') {
      for (const Option &opt : kaOptions)
        if (opt.cShort == str[1]) popt = &opt;
      if (popt != nullptr && str.size() > 2) {
        if (popt->iValue != 1) return refuse("Option " + str + " is not allowed in a remote run");
        strValue = str.substr(2);
        boValue = true;
      }
    } else {
      return refuse("Argument " + str + " is not allowed in a remote run");
    }
    if (popt == nullptr) return refuse("Option " + str + " is not allowed in a remote run");
    if (popt->iValue == 1 && !boValue) {
      if (i + 1 >= vWords.size()) return refuse("Option " + str + " requires a value");
      strValue = vWords[++i];
      boValue = true;
    }
    if (popt->cShort == 'p') {
      prun->strPassword = strValue;
      prun->boPassword = true;
      continue;
    }
    if (popt->cShort == 'i') {
      if (strValue != pcInstance) return refuse("Instance " + strValue + " is not the instance of the conversation");
      continue;
    }
    std::string strOption = popt->cShort != 0 ? std::string("-") + popt->cShort : std::string("--") + popt->pcLong;
    if (popt->iValue == 2 && boValue) {
      prun->vArgs.push_back(strOption + "=" + strValue);
    } else {
      prun->vArgs.push_back(strOption);
      if (boValue) prun->vArgs.push_back(strValue);
    }
  }
  prun->vArgs.insert(prun->vArgs.begin(), {"-i", pcInstance});
  return 0;
}
