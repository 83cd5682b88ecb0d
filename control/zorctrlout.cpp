/*
** zorctrlout.cpp
**   Check of the files a request writes (contract in control/zorctrlout.h).
**   Each file or family of rotated files a writer opens is a target; two
**   targets clash when they name one file.
*/
#include "control/zorctrlout.h"

#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "common/obf.h"
#include "common/odict.h"
#include "common/ochaine.h"
#include "common/ochar.h"
#include "common/olist.h"
#include "common/omsgs.h"
#include "control/zorcontrol.h"
#include "model/part.h"
#include "model/token.h"
#include "model/tools.h"
#include "model/udb.h"
#include "model/zoratom.h"
#include "model/zormsgs.h"
#include "model/zortask.h"

#define OMSGS_TRACE_KEYWORD "$CTRL"
#define OMSGS_DEBUG_KEYWORD nullptr
#include "common/omsgsmod.h"

namespace fs = std::filesystem;

namespace {

/* OUT_LOB partitions that are none: through DB2, and read directly from partitions not known. */
constexpr int32_t kilNoPart = -1;
constexpr int32_t kilAnyPart = -2;

/* What a target stands for. */
enum outKind {
  OUT_FILE,        /* one file */
  OUT_ROTATED,     /* the files "<stem>.001", ".002" ... a data writer rotates into */
  OUT_LOB          /* the LOB files of a LOBFILE name in a directory, for one partition */
};

/* One file a writer opens, or a family of files it opens. */
struct outTarget {
  std::string strHost;     /* "" on this host, else the host named */
  std::string strPath;     /* normalised path of the file, or the stem of the family */
  outKind kind = OUT_FILE;
  int32_t ilPart = kilNoPart;   /* OUT_LOB: the partition whose reader names them, or kil*Part */
  bool boInode = false;    /* an existing regular file: dev and ino below */
  dev_t dev = 0;
  ino_t ino = 0;
  int iOwner = 0;          /* the writer it belongs to */
  std::string strWhat;     /* what it belongs to, for the message */
};

std::string _outText(const ochar *pchar)
{
  if (pchar == nullptr || pchar->pcData == nullptr || pchar->ilBU <= 0) return {};
  std::string str(_charText(pchar), static_cast<size_t>(pchar->ilBU));
  return str.substr(0, str.find('\0'));
}

std::string _outStripped(const ochar *pchar)
{
  std::string str = _outText(pchar);
  size_t ul = str.find_last_not_of(' ');
  return ul == std::string::npos ? std::string() : str.substr(0, ul + 1);
}

zoratom *_outAtom(zortask *ptask, int iToken)
{
  return zortaskDetermineAtom(ptask, gapnameTotalToken[iToken]);
}

/* The task's own atom (none of its owners'). */
zoratom *_outOwn(zortask *ptask, int iToken)
{
  if (ptask == nullptr || ptask->pdictAtoms == nullptr) return nullptr;
  return static_cast<zoratom *>(odictLoad(ptask->pdictAtoms, reinterpret_cast<uintptr_t>(gapnameTotalToken[iToken])));
}

/* The name atoms' text of a SELECT's table, "?" when it has none. */
std::string _outTable(zortask *ptaskSelect)
{
  zoratom *patomQ = _outOwn(ptaskSelect, TOKEN_TBQUALIFIER);
  zoratom *patomN = _outOwn(ptaskSelect, TOKEN_TBNAME);
  std::string strQ = patomQ != nullptr && patomQ->iKind == ZORATOM_OCHAR ? _outStripped(patomQ->value.pchar) : "";
  std::string strN = patomN != nullptr && patomN->iKind == ZORATOM_OCHAR ? _outStripped(patomN->value.pchar) : "";
  if (strN.empty()) return "?";
  return strQ.empty() ? strN : strQ + "." + strN;
}

/*
** The path made absolute from the current directory and normalised; its
** directory, when it exists, with its symbolic links resolved.
*/
std::string _outNormal(const std::string &strPath)
{
  std::error_code ec;
  fs::path path(strPath);
  if (path.is_relative()) {
    fs::path pathCwd = fs::current_path(ec);
    if (!ec) path = pathCwd / path;
  }
  path = path.lexically_normal();
  fs::path pathDir = fs::canonical(path.parent_path(), ec);
  if (!ec) path = pathDir / path.filename();
  return path.string();
}

/* Name of a data file as the writer makes it (toolsFormatFilename). */
std::string _outFormat(const std::string &strName, int32_t iPartition, int32_t iSequence)
{
  char *pc = toolsFormatFilename(strName.data(), static_cast<int>(strName.size()), iPartition, iSequence, 1);
  if (pc == nullptr) return strName;
  std::string str = pc;
  std::free(pc);
  return str;
}

/* The targets of the request, with who owns them. */
struct outTargets {
  std::vector<outTarget> v;
  std::set<std::string> setSeen;   /* owner, host, kind and path of those added */
  int iLastOwner = 0;

  /* A new owner: the targets of one writer (or of one SELECT's LOB writers). */
  int owner() { return ++iLastOwner; }

  /* Adds a file or a family; a file that exists and is no regular file is left out. */
  void add(int iOwner, const std::string &strHost, const std::string &strName, outKind kind, int32_t ilPart,
           const std::string &strWhat)
  {
    outTarget target;
    target.strHost = strHost;
    target.strPath = _outNormal(strName);
    target.kind = kind;
    target.ilPart = ilPart;
    target.iOwner = iOwner;
    target.strWhat = strWhat;
    if (kind == OUT_FILE && strHost.empty()) {
      struct stat st;
      if (stat(target.strPath.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) return;
        target.boInode = true;
        target.dev = st.st_dev;
        target.ino = st.st_ino;
      }
    }
    std::string strKey = std::to_string(iOwner) + '\n' + strHost + '\n' + std::to_string(kind) + '\n' +
                         std::to_string(ilPart) + '\n' + target.strPath;
    if (!setSeen.insert(strKey).second) return;
    v.push_back(target);
  }
};

/* True when str holds only digits, one at least. */
bool _outDigits(const std::string &str)
{
  if (str.empty()) return false;
  for (char c : str)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

/* True when strName is strStem followed by strSep and digits. */
bool _outNumbered(const std::string &strName, const std::string &strStem, const std::string &strSep)
{
  std::string strHead = strStem + strSep;
  return strName.size() > strHead.size() && strName.compare(0, strHead.size(), strHead) == 0 &&
         _outDigits(strName.substr(strHead.size()));
}

/* "_<ppp>": the partition in the names a partition's LOB-file writer makes. */
std::string _outPart3(int32_t ilPart)
{
  char ac[16];
  std::snprintf(ac, sizeof ac, "_%3.3d", ilPart);
  return ac;
}

/* True when str is "_", digits, one of the separators and digits again. */
bool _outAnyPart(const std::string &str, const std::string &strSeps)
{
  if (str.size() < 4 || str[0] != '_') return false;
  size_t ul = str.find_first_of(strSeps, 1);
  return ul != std::string::npos && _outDigits(str.substr(1, ul - 1)) && _outDigits(str.substr(ul + 1));
}

/*
** True when the file strName is one of the family: rotated data files
** "<stem>.<n>"; LOB files "<stem>.<n>" through DB2, "<stem>_<ppp>.<n>"
** (backup image, online reader) or "<stem>_<p>_<n>" (forked reader's LOB
** child) of partition p, of any partition when they are not known.
*/
bool _outInFamily(const std::string &strName, const outTarget &family)
{
  if (family.kind == OUT_ROTATED || family.ilPart == kilNoPart) return _outNumbered(strName, family.strPath, ".");
  if (family.ilPart == kilAnyPart)
    return strName.compare(0, family.strPath.size(), family.strPath) == 0 &&
           _outAnyPart(strName.substr(family.strPath.size()), "._");
  std::string strPart = std::to_string(family.ilPart);
  if (_outNumbered(strName, family.strPath + _outPart3(family.ilPart), ".")) return true;
  return _outNumbered(strName, family.strPath + "_" + strPart, "_");
}

/* The file two targets both name, or "" when they name none in common. */
std::string _outClash(const outTarget &a, const outTarget &b)
{
  if (a.strHost != b.strHost) return {};
  if (a.kind == OUT_FILE && b.kind == OUT_FILE) {
    if (a.strPath == b.strPath) return a.strPath;
    if (a.boInode && b.boInode && a.dev == b.dev && a.ino == b.ino) return a.strPath;
    return {};
  }
  if (a.kind == OUT_FILE || b.kind == OUT_FILE) {
    const outTarget &file = a.kind == OUT_FILE ? a : b;
    const outTarget &family = a.kind == OUT_FILE ? b : a;
    return _outInFamily(file.strPath, family) ? file.strPath : std::string();
  }
  if (a.kind == OUT_LOB && b.kind == OUT_LOB) {
    if (a.strPath != b.strPath) return {};
    if (a.ilPart == kilNoPart || b.ilPart == kilNoPart) {
      /* through DB2 "<stem>.<n>", read directly "<stem>_...": only two of one kind meet */
      return a.ilPart == b.ilPart ? a.strPath + ".001" : std::string();
    }
    if (a.ilPart >= 0 && b.ilPart >= 0 && a.ilPart != b.ilPart) return {};
    int32_t ilPart = a.ilPart >= 0 ? a.ilPart : b.ilPart;
    return a.strPath + "_" + (ilPart >= 0 ? std::to_string(ilPart) : std::string("<partition>")) + "_...";
  }
  /* rotated data files and LOB files: "<stem>.<n>" of both */
  const outTarget &rotated = a.kind == OUT_ROTATED ? a : b;
  const outTarget &lob = a.kind == OUT_ROTATED ? b : a;
  if (lob.ilPart == kilNoPart) return rotated.strPath == lob.strPath ? lob.strPath + ".001" : std::string();
  if (lob.ilPart >= 0) {
    std::string strStem = lob.strPath + _outPart3(lob.ilPart);
    return rotated.strPath == strStem ? strStem + ".001" : std::string();
  }
  std::string strTail = rotated.strPath.size() > lob.strPath.size() ? rotated.strPath.substr(lob.strPath.size()) : "";
  bool boOne = rotated.strPath.compare(0, lob.strPath.size(), lob.strPath) == 0 && strTail.size() > 1 &&
               strTail[0] == '_' && _outDigits(strTail.substr(1));
  return boOne ? rotated.strPath + ".001" : std::string();
}

/*
** The partitions a SELECT read directly reads: its work items when the run
** step made them, else its partition set (PART, completed by the check of
** the partitions).  Empty when neither is known.
*/
std::vector<int32_t> _outPartitions(zortask *ptaskSelect)
{
  std::vector<int32_t> v;
  zoratom *patom = _outAtom(ptaskSelect, TOKEN_PARTS_TAKEN);
  if (patom != nullptr && patom->iKind == ZORATOM_OLIST && patom->value.plist != nullptr) {
    for (part *ppart = static_cast<part *>(patom->value.plist->pitemTop); ppart != nullptr; ppart = ppart->pitemNext)
      if (ppart->ilPart >= 0) v.push_back(ppart->ilPart);
    return v;
  }
  patom = _outAtom(ptaskSelect, TOKEN_PART);
  if (patom != nullptr && patom->iKind == ZORATOM_OBF && patom->value.pobf != nullptr)
    for (uint32_t ul = 0; ul < patom->value.pobf->ulBitCount; ul++)
      if (obfGet(patom->value.pobf, ul)) v.push_back(static_cast<int32_t>(ul));
  return v;
}

bool _outInSet(const obf *pobf, int32_t ilPart)
{
  return pobf == nullptr || obfGet(pobf, static_cast<uint32_t>(ilPart)) != 0;
}

/* The host an output item writes on: "" for this host. */
std::string _outHost(const udbOutFile *pout, const std::string &strLocal)
{
  if ((pout->ulMode & 0x1C) != UDB_MODE_HOST || pout->pcharHost == nullptr) return {};
  std::string strHost = _outStripped(pout->pcharHost);
  std::string strShort = strHost.substr(0, strHost.find('.'));
  std::string strLocalShort = strLocal.substr(0, strLocal.find('.'));
  return strHost == strLocal || strShort == strLocalShort ? std::string() : strHost;
}

/* The data files of one SELECT's OUTPUT items. */
void _outAddData(outTargets &targets, zortask *ptaskSelect, const std::string &strTable, bool boExport,
                 const std::string &strLocal)
{
  zoratom *patom = _outAtom(ptaskSelect, TOKEN_OUTPUT);
  if (patom == nullptr || patom->iKind != ZORATOM_OLIST || patom->value.plist == nullptr) return;
  bool boRotates = !boExport && _outAtom(ptaskSelect, TOKEN_FILEMAXSIZE) != nullptr;
  bool boDirect = (ptaskSelect->ulFlags & ZORCONTROL_FLAG_DB2) == 0;
  std::vector<int32_t> vParts = _outPartitions(ptaskSelect);
  for (udbOutFile *pout = static_cast<udbOutFile *>(patom->value.plist->pitemTop); pout != nullptr;
       pout = pout->pitemNext) {
    std::string strName = _outText(pout->pcharFileName);
    if (strName.empty()) continue;
    /* each item is a writer of its own, even when it names what another names */
    int iOwner = targets.owner();
    std::string strWhat = "OUTPUT \"" + strName + "\" OF " + strTable;
    std::string strHost = _outHost(pout, strLocal);
    std::vector<int32_t> vFilePart = {-1};
    if ((pout->ulMode & 0x1C) == UDB_MODE_REMOTE && boDirect) {
      vFilePart.clear();
      for (int32_t ilPart : vParts)
        if (_outInSet(pout->pobfPart, ilPart)) vFilePart.push_back(ilPart);
    }
    for (int32_t ilPart : vFilePart) {
      targets.add(iOwner, strHost, _outFormat(strName, ilPart, -1), OUT_FILE, -1, strWhat);
      if (boRotates) {
        std::string strFirst = _outFormat(strName, ilPart, 1);   /* "<stem>.001" */
        targets.add(iOwner, strHost, strFirst.substr(0, strFirst.size() - 4), OUT_ROTATED, -1,
                    strWhat + " AT FILEMAXSIZE");
      }
    }
  }
}

/* The LOB files of one SELECT: every LOB directory for its partitions, every LOBFILE name. */
void _outAddLobs(outTargets &targets, zortask *ptaskSelect, const std::string &strTable)
{
  zoratom *patomFiles = _outAtom(ptaskSelect, TOKEN_LOBFILE);
  if (patomFiles == nullptr || patomFiles->iKind != ZORATOM_OLIST || patomFiles->value.plist == nullptr) return;
  std::vector<std::string> vNames;
  olistIterator iter;
  olistIteratorInit(&iter, patomFiles->value.plist);
  while (olistIteratorNext(&iter)) {
    std::string str = _outText(static_cast<ochar *>(olistIteratorGetRef(&iter)));
    if (!str.empty()) vNames.push_back(str);
  }
  olistIteratorDestroy(&iter);
  struct Dir {
    std::string strPath;
    const obf *pobf;
  };
  std::vector<Dir> vDirs;
  zoratom *patomDirs = _outAtom(ptaskSelect, TOKEN_LOB);
  if (patomDirs != nullptr && patomDirs->iKind == ZORATOM_OLIST && patomDirs->value.plist != nullptr) {
    olistIteratorInit(&iter, patomDirs->value.plist);
    while (olistIteratorNext(&iter)) {
      udbLobPath *plob = static_cast<udbLobPath *>(olistIteratorGetRef(&iter));
      if (plob != nullptr && plob->pcharPath != nullptr) vDirs.push_back({_outText(plob->pcharPath), plob->pobfPart});
    }
    olistIteratorDestroy(&iter);
  }
  /* read directly, each partition's reader puts its number in its files' names
     (any partition when they are not known); through DB2 one writer puts none */
  std::vector<int32_t> vParts = {kilNoPart};
  if ((ptaskSelect->ulFlags & ZORCONTROL_FLAG_DB2) == 0) {
    vParts = _outPartitions(ptaskSelect);
    if (vParts.empty()) vParts = {kilAnyPart};
  }
  std::string strWhat = "THE LOB FILES OF " + strTable;
  int iOwner = targets.owner();
  for (int32_t ilPart : vParts) {
    std::vector<std::string> vDirsOf;
    for (const Dir &dir : vDirs)
      if (ilPart < 0 || _outInSet(dir.pobf, ilPart)) vDirsOf.push_back(dir.strPath + "/");
    if (vDirsOf.empty()) vDirsOf.push_back("");
    for (const std::string &strDir : vDirsOf)
      for (const std::string &strName : vNames) targets.add(iOwner, "", strDir + strName, OUT_LOB, ilPart, strWhat);
  }
}

}  // namespace

int zorctrloutCheckFiles(zorcontrol *pcontrol)
{
  if (pcontrol == nullptr || pcontrol->ptaskGlobal == nullptr) return 0;
  zortask *ptaskGlobal = pcontrol->ptaskGlobal;
  char acLocal[256] = {0};
  toolsGetHostName(acLocal, sizeof acLocal);
  acLocal[sizeof acLocal - 1] = '\0';
  std::string strLocal = acLocal;
  try {
    outTargets targets;
    zoratom *patomMsg = _outAtom(ptaskGlobal, TOKEN_MSGFILE);
    if (patomMsg != nullptr && patomMsg->iKind == ZORATOM_OCHAR) {
      std::string strMsg = _outText(patomMsg->value.pchar);
      if (!strMsg.empty())
        targets.add(targets.owner(), "", strMsg, OUT_FILE, -1, "THE MESSAGE FILE \"" + strMsg + "\"");
    }
    if (ptaskGlobal->pchaineSubTasks != nullptr) {
      for (auto *ptaskUnload = static_cast<zortask *>(ptaskGlobal->pchaineSubTasks->pitemTop); ptaskUnload != nullptr;
           ptaskUnload = ptaskUnload->ptaskNext) {
        if (ptaskUnload->pchaineSubTasks == nullptr) continue;
        for (auto *ptaskSelect = static_cast<zortask *>(ptaskUnload->pchaineSubTasks->pitemTop); ptaskSelect != nullptr;
             ptaskSelect = ptaskSelect->ptaskNext) {
          if (ptaskSelect->ulFlags & ZORCONTROL_FLAG_ERROR) continue;
          std::string strTable = _outTable(ptaskSelect);
          bool boExport = (ptaskSelect->ulFlags & ZORCONTROL_FLAG_DB2) != 0 &&
                          [&] {
                            zoratom *patom = _outAtom(ptaskSelect, TOKEN_PTK002);
                            return patom != nullptr && patom->iKind == ZORATOM_INTEGER && patom->value.iValue == 1;
                          }();
          _outAddData(targets, ptaskSelect, strTable, boExport, strLocal);
          _outAddLobs(targets, ptaskSelect, strTable);
        }
      }
    }
    for (size_t i = 0; i < targets.v.size(); i++) {
      for (size_t j = i + 1; j < targets.v.size(); j++) {
        std::string strFile = _outClash(targets.v[i], targets.v[j]);
        if (strFile.empty()) continue;
        omsgsTrace("zorctrloutCheckFiles: %s and %s clash on %s\n", targets.v[i].strWhat.c_str(),
                   targets.v[j].strWhat.c_str(), strFile.c_str());
        omsgsFMTEDO(ZORU491E, targets.v[i].strWhat.c_str(), targets.v[j].strWhat.c_str(), strFile.c_str());
        return ZORCTRLOUT_RC_SAMEFILE;
      }
    }
  } catch (const std::bad_alloc &) {
    return ORC_NOMEM;
  }
  return 0;
}
