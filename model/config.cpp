/*
** config.cpp
**   Installation-wide settings: the configuration file $TOPZAV/cfg/db2zav.cfg
**   (fifteen numbered items and the user defaults of the unload), the trace
**   switch file $TOPZAV/cfg/db2zav.trace read through the lexer, and the
**   language set-up that picks the process's code pages from the locale.
**   Nothing is cached: every look-up reads the file again, so a value changed
**   between two calls is seen by the second.  Called by the start-up of the
**   program and of the daemon library, by the option reader, the writer, the
**   DB2 utility layer and the network code; single-threaded.
*/
#include "model/config.h"

#include <cctype>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <unistd.h>

#include "common/ochar.h"
#include "common/ocnvft.h"
#include "common/olex.h"
#include "common/ostream.h"
#include "model/parm.h"
#include "model/tools.h"
#include "model/zormsgs.h"

#define OMSGS_TRACE_KEYWORD "$CONFIG"
#define OMSGS_DEBUG_KEYWORD "$CONFIGD"
#include "common/omsgsmod.h"

const char *const gapcTabVarNames[CONFIG_ITEM_COUNT] = {
    nullptr,      "bufsize",      "recsize",     "db2dbdft", "db2instance",
    "maxunloads", "maxsockets",   "insthomes",   "instusers", "languagecode",
    "countrycode", "ptk001",      "ptk002",      "ptk003",   "doubledelim",
    "dbpaths",    "daemontimeout"};

const char *const gapcTabVarValues[CONFIG_ITEM_COUNT] = {
    nullptr, "8388608", "10000", "SAMPLE", "db2inst1", "5", "5", "db2inst1:/db2home/db2inst1",
    "db2inst1:db2inst1", "en", "US", nullptr, nullptr, nullptr, nullptr, nullptr, "30"};

/* The trace switch file: a free list of identifiers; anything else is an
** error lexeme, which is dropped. */
static const olexDefEntry _aentryTrace[] = {
    {CONFIG_LEX_WORD, OLEX_KA(OLEX_ENTRY_BASE, 0), OLEX_CLASS_IDENTIFIER, nullptr},
    {CONFIG_LEX_ERROR, OLEX_KA(OLEX_ENTRY_BASE, 0), OLEX_CLASS_ERROR, nullptr},
    {0, 0, 0, nullptr}};
static const olexContextDef _contextDefTRACE_CTX = {1, OLEX_CAP_IDENTIFIER, '"', '\'', 0, _aentryTrace};
const olexContextDef *const aplexContextDefTrace[] = {&_contextDefTRACE_CTX, nullptr};

char acStrLang[100];

/* ------------------------------------------------------------- file access */

/* Path $TOPZAV/cfg/<name> when TOPZAV is set and the file exists; a new text. */
static char *_configGetFileName(const char *pcFileName)
{
  const char *pcTop = getenv("TOPZAV");
  if (pcTop == nullptr) return nullptr;
  std::string strPath = std::string(pcTop) + '/' + "cfg" + '/' + pcFileName;
  if (access(strPath.c_str(), F_OK) != 0) return nullptr;
  return strdup(strPath.c_str());
}

/* The item whose key equals pcKey (1 to 16), or -1. */
static int _configFindVarName(const std::string &strKey)
{
  for (int i = 1; i < CONFIG_ITEM_COUNT; i++)
    if (strKey == gapcTabVarNames[i]) return i;
  return -1;
}

/*
** Reads the configuration file line by line, whole lines whatever their
** length, and returns the value of the first line whose key satisfies
** fnMatch.  *piRc: 0 found, CONFIG_RC_NOKEY not found (or the file could
** not be opened, after ZORU347E), CONFIG_RC_NOFILE no file.
*/
template <typename Match>
static std::optional<std::string> _configScan(Match fnMatch, int *piRc)
{
  char *pcPath = _configGetFileName(CONFIG_FILE_CFG);
  if (pcPath == nullptr) {
    *piRc = CONFIG_RC_NOFILE;
    return std::nullopt;
  }
  *piRc = CONFIG_RC_NOKEY;
  int iRc = 0;
  FILE *pfile = toolsOpenBFile(pcPath, &iRc);
  free(pcPath);
  if (pfile == nullptr) return std::nullopt;

  std::optional<std::string> value;
  char *pcLine = nullptr;
  size_t lCapacity = 0;
  ssize_t lRead;
  while ((lRead = getline(&pcLine, &lCapacity, pfile)) >= 0) {
    std::string strLine(pcLine, static_cast<size_t>(lRead));
    if (!strLine.empty() && strLine.back() == '\n') strLine.pop_back();
    if (!strLine.empty() && strLine[0] == '#') continue;
    size_t lStart = strLine.find_first_not_of('=');
    if (lStart == std::string::npos) continue;
    size_t lEqual = strLine.find('=', lStart);
    if (lEqual == std::string::npos) continue;
    if (fnMatch(strLine.substr(lStart, lEqual - lStart))) {
      value = strLine.substr(lEqual + 1);
      *piRc = 0;
      break;
    }
  }
  free(pcLine);
  fclose(pfile);
  return value;
}

/* The text of item iItem: from the file, else its built-in default; none
** without a file or for an unknown item. */
static std::optional<std::string> _configReadItemInFile(int iItem)
{
  if (iItem < 0 || iItem >= CONFIG_ITEM_COUNT) return std::nullopt;
  char *pcPath = _configGetFileName(CONFIG_FILE_CFG);
  if (pcPath == nullptr) return std::nullopt;
  if (iItem == CONFIG_ITEM_FILE) {
    std::string strPath(pcPath);
    free(pcPath);
    return strPath;
  }
  free(pcPath);
  int iRc = 0;
  std::optional<std::string> value =
      _configScan([iItem](const std::string &strKey) { return _configFindVarName(strKey) == iItem; }, &iRc);
  if (!value && iRc == CONFIG_RC_NOFILE) return std::nullopt;   /* removed meanwhile */
  if (!value && gapcTabVarValues[iItem] != nullptr) value = gapcTabVarValues[iItem];
  return value;
}

/* The value of the first line with key pcKey, as a CCSID 850 string object
** in *ppchar.  Returns 0, CONFIG_RC_NOKEY or CONFIG_RC_NOFILE. */
static int _configGetValueForItem(const char *pcKey, ochar **ppchar)
{
  *ppchar = nullptr;
  int iRc = 0;
  std::optional<std::string> value =
      _configScan([pcKey](const std::string &strKey) { return strKey == pcKey; }, &iRc);
  if (!value) return iRc;
  ochar *pchar = ocharCreate(0, OCHAR_CCSID_ASCII);
  if (pchar == nullptr || ocharAppendFixed(pchar, value->data(), static_cast<int32_t>(value->size())) != 0 ||
      ocharMakeC(pchar) != 0) {
    ocharDestroy(pchar);
    return ORC_NOMEM;
  }
  *ppchar = pchar;
  return 0;
}

/* ------------------------------------------------------------------- items */

int configVerifyTopzav(void)
{
  return getenv("TOPZAV") != nullptr ? 0 : CONFIG_RC_NOTOPZAV;
}

void *configUseItem(int iItem, int iAlloc)
{
  if (iAlloc != 1) return nullptr;
  std::optional<std::string> value = _configReadItemInFile(iItem);
  omsgsTrace("configUseItem(%d) = <%s>\n", iItem, value ? value->c_str() : "(null)");
  if (!value) return nullptr;
  switch (iItem) {
  case CONFIG_ITEM_FILE:
  case CONFIG_ITEM_DB2DBDFT:
  case CONFIG_ITEM_DB2INSTANCE:
  case CONFIG_ITEM_INSTHOMES:
  case CONFIG_ITEM_INSTUSERS:
  case CONFIG_ITEM_LANGUAGECODE:
  case CONFIG_ITEM_COUNTRYCODE:
  case CONFIG_ITEM_DBPATHS:
    return strdup(value->c_str());
  default:
    break;
  }
  int32_t ilValue;
  if (iItem == CONFIG_ITEM_DOUBLEDELIM) {
    /* the forms users write, blanks around the word allowed; anything else is refused by the caller */
    std::string strWord = *value;
    strWord.erase(0, strWord.find_first_not_of(" \t\r"));
    strWord.erase(strWord.find_last_not_of(" \t\r") + 1);
    for (char &c : strWord) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    if (strWord == "ON" || strWord == "YES" || strWord == "1") ilValue = 1;
    else if (strWord == "OFF" || strWord == "NO" || strWord == "0") ilValue = 0;
    else ilValue = CONFIG_DOUBLEDELIM_INVALID;
  } else {
    ilValue = static_cast<int32_t>(strtol(value->c_str(), nullptr, 10));
  }
  auto *pilValue = static_cast<int32_t *>(malloc(sizeof(int32_t)));
  if (pilValue != nullptr) *pilValue = ilValue;
  return pilValue;
}

/* The value of pcInstance in an instance list ("name:value,..."), as a new
** text; an entry without ':' matches nothing. */
static char *_configUseItemInLstInsthomes(const std::string &strList, const char *pcInstance)
{
  size_t lStart = 0;
  while (lStart <= strList.size()) {
    size_t lComma = strList.find(',', lStart);
    if (lComma == std::string::npos) lComma = strList.size();
    std::string strEntry = strList.substr(lStart, lComma - lStart);
    size_t lColon = strEntry.find(':');
    if (lColon != std::string::npos && strEntry.compare(0, lColon, pcInstance) == 0)
      return strdup(strEntry.c_str() + lColon + 1);
    lStart = lComma + 1;
  }
  return nullptr;
}

/* The instance users' list has the same form. */
static char *_configUseItemInLstInstusers(const std::string &strList, const char *pcInstance)
{
  return _configUseItemInLstInsthomes(strList, pcInstance);
}

char *configUseItemInLst(int iItem, int iAlloc, const char *pcInstance)
{
  if (iAlloc != 1 || pcInstance == nullptr) return nullptr;
  if (iItem != CONFIG_ITEM_INSTHOMES && iItem != CONFIG_ITEM_INSTUSERS && iItem != CONFIG_ITEM_DBPATHS)
    return nullptr;
  std::optional<std::string> list = _configReadItemInFile(iItem);
  if (!list) return nullptr;
  if (iItem == CONFIG_ITEM_INSTHOMES) return _configUseItemInLstInsthomes(*list, pcInstance);
  return _configUseItemInLstInstusers(*list, pcInstance);
}

/* ----------------------------------------------------------- user defaults */

/* Address of an item of a parameter-library member. */
static char *_configParmField(int iMember, int32_t ilItem)
{
  return static_cast<char *>(Gaparmlink[iMember].procAccessor(&ilItem));
}

/* Writes the bytes of pcText (without its NUL) at pcField, when there is one. */
static void _configSetText(char *pcField, const char *pcText)
{
  if (pcField != nullptr) memcpy(pcField, pcText, strlen(pcText));
}

/* lock, quiesce, db2: "YES" or "NO ". */
static void _configSetYesNo(const std::string &strValue, int iMember, int32_t ilItem)
{
  if (strValue.compare(0, 3, "YES") == 0) _configSetText(_configParmField(iMember, ilItem), "YES");
  else if (strValue.compare(0, 2, "NO") == 0) _configSetText(_configParmField(iMember, ilItem), "NO ");
}

/* date, time: one letter from 'A' to cLast. */
static void _configSetLetter(const std::string &strValue, char cLast, int32_t ilItem)
{
  if (strValue.empty() || strValue[0] < 'A' || strValue[0] > cLast) return;
  char *pcField = _configParmField(PARM_OPTUNL, ilItem);
  if (pcField != nullptr) *pcField = strValue[0];
}

/* pic: [sign] LEAD or TRAIL [decimal character]. */
static void _configSetPic(const std::string &strValue, char *pcField)
{
  if (pcField == nullptr || strValue.empty()) return;
  char cSign = strValue[0];
  bool boSign = cSign == '-' || cSign == '+' || cSign == 'P';
  const char *pcWord = nullptr;
  if (strValue.compare(1, 4, "LEAD") == 0) pcWord = "LEAD";
  else if (strValue.compare(1, 5, "TRAIL") == 0) pcWord = "TRAIL";
  if (pcWord == nullptr) return;
  size_t lWord = strlen(pcWord);
  char *pc = pcField;
  if (boSign) *pc++ = cSign;
  memcpy(pc, pcWord, lWord);
  pc += lWord;
  if (strValue.size() > lWord + 1 && (strValue[lWord + 1] == '.' || strValue[lWord + 1] == ','))
    *pc = strValue[lWord + 1];
}

/* Applies one user default to its parameter-library field. */
static void _configApplyUserParam(const char *pcKey, std::string strValue)
{
  static const char *const apcAsWritten[] = {"mask", "pic", "decimal_separator"};
  bool boUpper = true;
  for (const char *pc : apcAsWritten)
    if (strcmp(pc, pcKey) == 0) boUpper = false;
  if (boUpper)
    for (char &c : strValue) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  if (strValue.empty()) return;

  std::string strKey(pcKey);
  if (strKey == "lock") {
    _configSetYesNo(strValue, PARM_OPTUNL, 2);
  } else if (strKey == "quiesce") {
    _configSetYesNo(strValue, PARM_OPTUNL, 3);
  } else if (strKey == "date") {
    _configSetLetter(strValue, 'P', 5);
  } else if (strKey == "time") {
    _configSetLetter(strValue, 'E', 6);
  } else if (strKey == "timestamp") {
    if (strValue[0] >= 'A' && strValue[0] <= 'F') {
      char *pcField = _configParmField(PARM_OPTUNL, 7);
      if (pcField != nullptr) {
        pcField[0] = 'S';
        pcField[1] = strValue[0];
      }
    }
  } else if (strKey == "mask") {
    static const char *const apcMasks[] = {"*.* ", "*.0 ", "0.* ", "00.*", "00.0"};
    for (const char *pcMask : apcMasks)
      if (strValue.compare(0, 4, pcMask) == 0) {
        _configSetText(_configParmField(PARM_OPTUNL, 19), pcMask);
        return;
      }
    if (strValue.compare(0, 3, "0.0") == 0) _configSetText(_configParmField(PARM_OPTUNL, 19), "0.0 ");
  } else if (strKey == "pic") {
    _configSetPic(strValue, _configParmField(PARM_OPTUNL, 8));
  } else if (strKey == "nullpos") {
    auto *psField = reinterpret_cast<int16_t *>(_configParmField(PARM_OPTUNL, 14));
    if (psField == nullptr) return;
    if (strValue.compare(0, 5, "AFTER") == 0) *psField = 1;
    else if (strValue.compare(0, 6, "BEFORE") == 0) *psField = 0;
  } else if (strKey == "db2") {
    _configSetYesNo(strValue, PARM_OPTUNL, 1);
  } else if (strKey == "scheme") {
    static const struct {
      const char *pcWord;
      char cScheme;
    } aschemes[] = {{"ASCII", 'A'}, {"EBCDIC", 'E'}, {"UNICODE", 'U'}, {"ASIS", 'T'}};
    for (const auto &scheme : aschemes)
      if (strValue.compare(0, strlen(scheme.pcWord), scheme.pcWord) == 0) {
        char *pcField = _configParmField(PARM_OPTUNL, 16);
        if (pcField != nullptr) *pcField = scheme.cScheme;
        return;
      }
  } else if (strKey == "decimal_separator") {
    if (strValue[0] == '.' || strValue[0] == ',') {
      char *pcField = _configParmField(PARM_OPTDB2, 10);
      if (pcField != nullptr) *pcField = strValue[0];
    }
  }
}

/* The keys of the user defaults. */
static const char *const gapcUserKeys[] = {"lock", "quiesce", "date",    "time",   "timestamp",        "mask",
                                           "pic",  "nullpos", "db2",     "scheme", "decimal_separator"};

int configCheckFile(void)
{
  char *pcPath = _configGetFileName(CONFIG_FILE_CFG);
  if (pcPath == nullptr) return 0;
  int iRc = 0;
  FILE *pfile = toolsOpenBFile(pcPath, &iRc);
  if (pfile == nullptr) {
    free(pcPath);
    return 0;
  }
  int iReported = 0;
  int iLine = 0;
  char *pcLine = nullptr;
  size_t lCapacity = 0;
  ssize_t lRead;
  while ((lRead = getline(&pcLine, &lCapacity, pfile)) >= 0) {
    iLine++;
    std::string strLine(pcLine, static_cast<size_t>(lRead));
    while (!strLine.empty() && (strLine.back() == '\n' || strLine.back() == '\r')) strLine.pop_back();
    if (strLine.empty() || strLine[0] == '#') continue;
    if (strLine.find_first_not_of(" \t") == std::string::npos) continue;
    /* the key as the look-ups read it */
    size_t lStart = strLine.find_first_not_of('=');
    size_t lEqual = lStart == std::string::npos ? std::string::npos : strLine.find('=', lStart);
    std::string strWhy;
    if (lEqual == std::string::npos) {
      strWhy = "NOT A KEY=VALUE LINE";
    } else {
      std::string strKey = strLine.substr(lStart, lEqual - lStart);
      bool boKnown = _configFindVarName(strKey) > 0;
      for (const char *pc : gapcUserKeys)
        if (strKey == pc) boKnown = true;
      if (!boKnown) strWhy = "UNKNOWN KEY " + strKey;
    }
    if (strWhy.empty()) continue;
    omsgsFMTEDO(ZORU466W, iLine, pcPath, strWhy.c_str());
    iReported++;
  }
  free(pcLine);
  fclose(pfile);
  free(pcPath);
  return iReported;
}

int configGetDefaultUserParam(void)
{
  const auto &apcKeys = gapcUserKeys;
  int iRc = 0;
  for (const char *pcKey : apcKeys) {
    ochar *pchar = nullptr;
    iRc = _configGetValueForItem(pcKey, &pchar);
    if (iRc != 0 || pchar == nullptr) continue;
    omsgsTrace("configGetDefaultUserParam %s = <%s>\n", pcKey, _charText(pchar));
    _configApplyUserParam(pcKey, std::string(_charText(pchar), static_cast<size_t>(pchar->ilBU)));
    ocharDestroy(pchar);
  }
  return iRc;
}

/* ------------------------------------------------------------ trace switch */

ochar *configReadFileTrace(void)
{
  ochar *pcharList = ocharCreate(100, OCHAR_CCSID_ASCII);
  if (pcharList == nullptr) return nullptr;
  char *pcPath = _configGetFileName(CONFIG_FILE_TRACE);
  ostream *pstream = pcPath != nullptr ? ostreamCreateFromFileName(pcPath) : nullptr;
  free(pcPath);
  olex *plex = pstream != nullptr ? olexCreate() : nullptr;
  if (plex != nullptr) {
    olexSetStream(plex, pstream);
    if (olexInit(plex, aplexContextDefTrace, '"', '\'', '.', OCHAR_CCSID_ASCII, 0, 0, 0) == 0) {
      int iId;
      olexValue value;
      while ((iId = olexGet(&value, nullptr, plex)) != 0) {
        if (iId != CONFIG_LEX_WORD && iId != CONFIG_LEX_ERROR) continue;
        if (iId == CONFIG_LEX_WORD && value.pchar != nullptr) {
          ocharAppendFixed(pcharList, _charText(value.pchar), value.pchar->ilBU);
          ocharAppendFixed(pcharList, " ", 1);
        }
        ocharDestroy(value.pchar);
      }
    }
  }
  olexDestroy(plex);
  ostreamDestroy(pstream);
  if (pcharList->ilBU == 0) ocharAppendFixed(pcharList, " ", 1);
  ocharMakeC(pcharList);
  return pcharList;
}

/* ---------------------------------------------------------------- language */

int configSetLanguage(char **ppcLanguage, char **ppcPath)
{
  int iRc = 0;
  if (ppcLanguage != nullptr) *ppcLanguage = nullptr;
  if (ppcPath != nullptr) *ppcPath = nullptr;
  const char *pcTop = getenv("TOPZAV");
  if (pcTop != nullptr) {
    std::string strPath = std::string(pcTop) + '/' + "msg" + '/' + "db2zav";
    char *pcLanguage = static_cast<char *>(configUseItem(CONFIG_ITEM_LANGUAGECODE, 1));
    if (pcLanguage == nullptr) pcLanguage = strdup("en");
    if (ppcPath != nullptr) *ppcPath = strdup(strPath.c_str());
    if (ppcLanguage != nullptr) *ppcLanguage = pcLanguage;
    else free(pcLanguage);
  } else {
    iRc = CONFIG_RC_NOCATALOG;
  }

  setlocale(LC_ALL, getenv("LANG"));
  setlocale(LC_NUMERIC, "C");
  const char *pcLocale = setlocale(LC_CTYPE, nullptr);
  std::string strLocale = pcLocale != nullptr ? pcLocale : "";
  omsgsTrace("LOCALE = <%s>\n", strLocale.c_str());

  uint16_t usCCSID = 0, usDBCS = 0;
  if (!strLocale.empty() && strLocale != "C") {
    strLocale = strLocale.substr(0, strLocale.find(' '));
    if (ocnvftGetCCSIDFromLocale(strLocale.c_str(), 2, &usCCSID, &usDBCS) != 0) usCCSID = usDBCS = 0;
    omsgsTrace("LOCALE = <%s> --> SBCS = %d et DBCS = %d\n", strLocale.c_str(), usCCSID, usDBCS);
  }

  if (usCCSID == 0) {
    /* The locale of the configuration: languagecode_countrycode. */
    char *pcLanguage = static_cast<char *>(configUseItem(CONFIG_ITEM_LANGUAGECODE, 1));
    char *pcCountry = static_cast<char *>(configUseItem(CONFIG_ITEM_COUNTRYCODE, 1));
    std::string strName = pcLanguage != nullptr ? pcLanguage : gapcTabVarValues[CONFIG_ITEM_LANGUAGECODE];
    const char *pcCountryName = pcCountry != nullptr ? pcCountry : gapcTabVarValues[CONFIG_ITEM_COUNTRYCODE];
    if (pcCountryName[0] != '\0') strName += std::string("_") + pcCountryName;
    free(pcLanguage);
    free(pcCountry);
    if (strName.size() >= sizeof(acStrLang)) {
      /* A cut name would name another locale. */
      omsgsFMTEDO(ZORU417E, strName.c_str());
      return CONFIG_RC_NOCODEPAGE;
    }
    snprintf(acStrLang, sizeof(acStrLang), "%s", strName.c_str());
    if (ocnvftGetCCSIDFromLocale(acStrLang, 2, &usCCSID, &usDBCS) != 0) usCCSID = usDBCS = 0;
    omsgsTrace("LANG = <%s> --> SBCS = %d et DBCS = %d\n", acStrLang, usCCSID, usDBCS);
    setlocale(LC_ALL, acStrLang);
    setlocale(LC_NUMERIC, "C");
    if (usCCSID == 0) {
      omsgsFMTEDO(ZORU417E, acStrLang);
      return CONFIG_RC_NOCODEPAGE;
    }
  }

  uint16_t usSingle = 0, usDouble = 0;
  ocnvftDecomposeMixed(usCCSID, &usSingle, &usDouble);
  uint16_t usDBCSUsed = usDBCS != 0 ? usDBCS : usDouble;
  usDBCSUsed = usDBCSUsed != 0 ? ocnvftSubstExternal(usDBCSUsed) : 1202;

  int iRcContext = ocnvftCreateGlobal(nullptr, 'A', 128, 37, 0, 1200, usSingle, usCCSID, usDBCSUsed, 850, 1208,
                                      1202, usSingle, usCCSID, usDBCSUsed);
  if (iRcContext != 0) return iRcContext;
  ocnvftSetExternal(gpcnvft, usSingle, usCCSID, usDBCSUsed);

  gccsidSBCS = usCCSID;
  gccsidMixed = usCCSID;
  gccsidDBCS = usDBCSUsed;
  return iRc;
}
