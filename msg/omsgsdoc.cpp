/*
** omsgsdoc.cpp
**   Build tool: writes the messages document (docs/messages.md) from the
**   message tables (the X-macro *.def files of every subsystem) and the
**   explanations of msg/messages.txt, so that the document lists exactly the
**   messages the program and the daemon library can issue, with their
**   built-in texts; and writes the table of exit statuses of the README and
**   of the manual page from the reason codes of the sources.
**
**     omsgsdoc [--check] OUTPUT.md messages.txt TABLE.def...
**     omsgsdoc --statuses [--check] OUTPUT.md OUTPUT.roff [--into FILE...] -- SOURCE...
**
**   Messages.  A table line is MACRO(IDENTIFIER, "text" ...): the identifier
**   is eight characters, the text one or more C string literals.  Files
**   without such lines (the token list, for one) contribute nothing.  The
**   document is always written; an identifier without an explanation gets a
**   marked placeholder.  Problems (no explanation, an explanation for no
**   message, an entry without meaning or action, entries out of identifier
**   order or repeated, an identifier in two tables) are printed on standard
**   error; with --check they make the exit status 1.  A file that cannot be
**   read or written, or a line of messages.txt that fits no rule, gives exit
**   status 2.
**
**   Exit statuses.  A reason code is a #define of the sources whose value
**   is ORC_MAKE(...), ORC_RUN_WARNING(...) or a hexadecimal literal when
**   its name holds "_RC_" or "_ERR_" or begins with "ORC_"; its meaning is
**   its comment on the same line (a leading hexadecimal copy of the code
**   left out), else the comment just above it.  A meaning that begins with
**   "|" marks a code that carries a byte (a system error number, an exit
**   status) in its low byte.  A #define named *_EXIT_* is the exit status
**   of a process that ends at once, whose parent tells what failed: it is
**   not listed, but no warning may share its low byte.  The table lists,
**   for every status a run can end with (oreasonExitStatus), every meaning:
**   the codes of error severity or without severity (return code 8 or
**   more), the warnings a run ends with (ORC_RUN_WARNING, return code 4)
**   and the system error numbers (1 to 133 on Linux).  Codes of information
**   or warning severity made otherwise are results their callers act on
**   and never end a run: they are not listed.  Both fragments are written;
**   with --into, the part of each FILE from the line that holds
**   "exit-statuses:begin" to the line that holds "exit-statuses:end" is
**   replaced by the fragment of its kind (.md, else roff).  Problems (a
**   listed code without meaning, a warning status that a system error
**   number, a shell or a signal gives, or that is the low byte of any other
**   code) go to standard error; with --check they make the exit status 1.
*/
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/oreason.h"

namespace {

/* Marks an identifier without explanation in the document; the tests look
** for it. */
const char gacMissing[] = "(no explanation yet)";

struct DocMessage {
  std::string strId;      /* identifier in the table */
  std::string strText;    /* built-in text, escapes decoded */
  std::string strTable;   /* table file, relative as given */
};

struct DocExplanation {
  std::string strMeaning;
  std::string strAction;
  int iLine = 0;
};

std::vector<std::string> gvProblems;

void _docProblem(const std::string &str) { gvProblems.push_back(str); }

bool _docIsId(const std::string &str)
{
  if (str.size() != 8) return false;
  for (char c : str)
    if (!std::isupper(static_cast<unsigned char>(c)) && !std::isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

/* Decodes the C string literals that start at text[i]; stops at the first
** character after them that is neither blank nor a literal.  Returns false
** when a literal is not closed on the line. */
bool _docLiterals(const std::string &strLine, size_t i, std::string &strOut)
{
  bool boAny = false;
  for (;;) {
    while (i < strLine.size() && std::isspace(static_cast<unsigned char>(strLine[i]))) i++;
    if (i >= strLine.size() || strLine[i] != '"') return boAny;
    i++;
    for (;;) {
      if (i >= strLine.size()) return false;
      char c = strLine[i++];
      if (c == '"') break;
      if (c != '\\') {
        strOut += c;
        continue;
      }
      if (i >= strLine.size()) return false;
      char e = strLine[i++];
      switch (e) {
        case 'n': strOut += '\n'; break;
        case 't': strOut += '\t'; break;
        case '\\': strOut += '\\'; break;
        case '"': strOut += '"'; break;
        case '\'': strOut += '\''; break;
        case 'x': {
          int iValue = 0, iDigits = 0;
          while (i < strLine.size() && std::isxdigit(static_cast<unsigned char>(strLine[i]))) {
            iValue = iValue * 16 + std::stoi(std::string(1, strLine[i]), nullptr, 16);
            i++;
            iDigits++;
          }
          if (iDigits == 0) return false;
          strOut += static_cast<char>(iValue & 0xff);
          break;
        }
        default: strOut += e; break;
      }
    }
    boAny = true;
  }
}

/* The messages of one table file; false when it cannot be read. */
bool _docReadTable(const std::string &strPath, std::vector<DocMessage> &vMessages)
{
  std::ifstream in(strPath);
  if (!in) return false;
  std::string strLine;
  int iLine = 0;
  while (std::getline(in, strLine)) {
    iLine++;
    size_t i = 0;
    while (i < strLine.size() && (std::isupper(static_cast<unsigned char>(strLine[i])) || strLine[i] == '_')) i++;
    if (i == 0 || i >= strLine.size() || strLine[i] != '(') continue;
    size_t ulComma = strLine.find(',', i);
    if (ulComma == std::string::npos) continue;
    std::string strId = strLine.substr(i + 1, ulComma - i - 1);
    strId.erase(0, strId.find_first_not_of(' '));
    strId.erase(strId.find_last_not_of(' ') + 1);
    if (!_docIsId(strId)) continue;
    size_t ulQuote = strLine.find('"', ulComma);
    DocMessage msg{strId, "", strPath};
    if (ulQuote == std::string::npos || !_docLiterals(strLine, ulQuote, msg.strText)) {
      _docProblem(strPath + ":" + std::to_string(iLine) + ": the text of " + strId + " cannot be read");
      continue;
    }
    vMessages.push_back(msg);
  }
  return true;
}

/* The explanations file; returns 2 when it cannot be read or holds a line
** that fits no rule, else 0. */
int _docReadExplanations(const std::string &strPath, std::map<std::string, DocExplanation> &mapExplanations)
{
  std::ifstream in(strPath);
  if (!in) {
    std::fprintf(stderr, "omsgsdoc: cannot read %s\n", strPath.c_str());
    return 2;
  }
  std::string strLine, strPrevious, strCurrent;
  std::string *pstrField = nullptr;
  int iLine = 0;
  while (std::getline(in, strLine)) {
    iLine++;
    if (!strLine.empty() && strLine[0] == '#') continue;
    if (strLine.find_first_not_of(" \t") == std::string::npos) {
      pstrField = nullptr;
      strCurrent.clear();
      continue;
    }
    auto where = [&] { return strPath + ":" + std::to_string(iLine); };
    if (strLine.compare(0, 2, "  ") == 0 && pstrField != nullptr) {
      *pstrField += " " + strLine.substr(strLine.find_first_not_of(' '));
      continue;
    }
    if (strCurrent.empty()) {
      if (!_docIsId(strLine)) {
        std::fprintf(stderr, "omsgsdoc: %s: a message identifier is expected, not \"%s\"\n", where().c_str(),
                     strLine.c_str());
        return 2;
      }
      if (mapExplanations.count(strLine) != 0)
        _docProblem(where() + ": " + strLine + " is explained twice");
      else if (!strPrevious.empty() && strLine < strPrevious)
        _docProblem(where() + ": " + strLine + " comes after " + strPrevious + " (keep identifier order)");
      strCurrent = strPrevious = strLine;
      mapExplanations[strCurrent].iLine = iLine;
      pstrField = nullptr;
      continue;
    }
    DocExplanation &expl = mapExplanations[strCurrent];
    std::string *pstr = nullptr;
    size_t ulSkip = 0;
    if (strLine.compare(0, 8, "meaning:") == 0) {
      pstr = &expl.strMeaning;
      ulSkip = 8;
    } else if (strLine.compare(0, 7, "action:") == 0) {
      pstr = &expl.strAction;
      ulSkip = 7;
    }
    if (pstr == nullptr) {
      std::fprintf(stderr, "omsgsdoc: %s: \"meaning:\", \"action:\" or a continuation line indented by two blanks"
                   " is expected, not \"%s\"\n", where().c_str(), strLine.c_str());
      return 2;
    }
    if (!pstr->empty()) _docProblem(where() + ": " + strCurrent + " has two " + strLine.substr(0, ulSkip) + " lines");
    std::string strValue = strLine.substr(ulSkip);
    strValue.erase(0, strValue.find_first_not_of(' '));
    *pstr = strValue;
    pstrField = pstr;
  }
  return 0;
}

/* Markdown-safe prose: the explanations are written by hand and may hold
** markdown; only a stray line start is guarded. */
std::string _docProse(const std::string &str) { return str.empty() ? std::string(gacMissing) : str; }

/* The printed form of a built-in text: printf conversions become named
** placeholders, bytes outside ASCII are shown as Latin-1, the final line
** end is dropped. */
std::string _docShowText(const std::string &strText)
{
  std::string strOut;
  for (size_t i = 0; i < strText.size(); i++) {
    unsigned char c = static_cast<unsigned char>(strText[i]);
    if (c == '%' && i + 1 < strText.size()) {
      if (strText[i + 1] == '%') {
        strOut += '%';
        i++;
        continue;
      }
      size_t j = i + 1;
      while (j < strText.size() && std::strchr("0123456789.*-+ #lhzjt", strText[j]) != nullptr) j++;
      if (j < strText.size()) {
        switch (strText[j]) {
          case 's': strOut += "<text>"; break;
          case 'c': strOut += "<character>"; break;
          case 'x':
          case 'X': strOut += "<hex>"; break;
          default: strOut += "<number>"; break;
        }
        i = j;
        continue;
      }
    }
    if (c < 0x80) {
      strOut += static_cast<char>(c);
    } else {
      strOut += static_cast<char>(0xC0 | (c >> 6));
      strOut += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  while (!strOut.empty() && (strOut.back() == '\n' || strOut.back() == ' ')) strOut.pop_back();
  return strOut;
}

/* The identifier the text prints, when it differs from the table's. */
std::string _docShownId(const DocMessage &msg)
{
  std::string strFirst = msg.strText.substr(0, 8);
  return _docIsId(strFirst) && strFirst != msg.strId ? strFirst : std::string();
}

const char gacIntro[] =
    "# db2zav messages\n"
    "\n"
    "<!-- Generated at build time by msg/omsgsdoc.cpp from the message tables (*.def)\n"
    "     and msg/messages.txt; edit those, not this file. -->\n"
    "\n"
    "Every message of `db2zav` and of the daemon library `libdb2zavdm`, in\n"
    "identifier order: its text, what it means and what to do. Messages go to\n"
    "the message listing (sysprint): standard error, or the file named by `-m`.\n"
    "\n"
    "An identifier has eight characters; the last one is the severity:\n"
    "`I` information, `W` warning (the run goes on), `E` error, `F` fatal\n"
    "error. In the texts below `<text>`, `<number>` and `<hex>` stand for the\n"
    "values the program fills in. Two messages come with many others:\n"
    "`ZORU010I` gives the line and column span of the item a control-file\n"
    "message is about, and `ZORU366I` ends every run that did not succeed with\n"
    "its return code and reason code (see the exit statuses in `db2zav(1)` and\n"
    "the README). Messages that begin with `SQL` or `CLI` come from DB2 itself\n"
    "(inside `ZORU306E`); DB2's own documentation explains them.\n"
    "\n";

/* ------------------------------------------------------------------ exit statuses */

/* The beginning of the meaning of a system error number. */
const char gacSystemError[] = "system error ";

/* What a reason code stands for in the table. */
enum DocReasonKind {
  DOC_ERROR,     /* return code 8 or more */
  DOC_WARNING,   /* a warning a run ends with (ORC_RUN_WARNING) */
  DOC_INNER,     /* information or warning its callers act on: not listed */
  DOC_CARRIER,   /* carries a byte in its low byte: listed in the note */
  DOC_EXIT       /* the exit status of a process that ends at once */
};

struct DocReason {
  int iCode = 0;
  DocReasonKind kind = DOC_ERROR;
  std::string strName;
  std::string strMeaning;
  std::string strWhere;   /* file:line */
};

/* A number as C writes it: hexadecimal with 0x, else decimal. */
bool _docNumber(const std::string &str, long *pl)
{
  if (str.empty()) return false;
  char *pcEnd = nullptr;
  long l = std::strtol(str.c_str(), &pcEnd, 0);
  if (pcEnd == nullptr || *pcEnd != '\0') return false;
  *pl = l;
  return true;
}

/* The text of a comment without its markers and blanks, lines joined. */
std::string _docCommentText(const std::string &strComment)
{
  std::string strOut;
  std::istringstream lines(strComment);
  for (std::string strLine; std::getline(lines, strLine);) {
    size_t i = strLine.find_first_not_of(" \t");
    if (i == std::string::npos) continue;
    strLine.erase(0, i);
    for (const char *pc : {"/*", "**", "*/"})
      if (strLine.compare(0, 2, pc) == 0) strLine.erase(0, 2);
    size_t ulEnd = strLine.find("*/");
    if (ulEnd != std::string::npos) strLine.erase(ulEnd);
    strLine.erase(0, strLine.find_first_not_of(" \t"));
    strLine.erase(strLine.find_last_not_of(" \t") + 1);
    if (strLine.empty()) continue;
    if (!strOut.empty()) strOut += ' ';
    strOut += strLine;
  }
  return strOut;
}

/* A meaning as the table shows it: without a leading copy of the code, a
** severity word that the table says itself, or a final period. */
std::string _docMeaning(std::string str)
{
  std::smatch m;
  if (std::regex_search(str, m, std::regex("^0[xX][0-9a-fA-F]+\\s*")) && m.position(0) == 0) str.erase(0, m.length(0));
  if (std::regex_search(str, m, std::regex("^(warning|error|severe|terminal):\\s*")) && m.position(0) == 0)
    str.erase(0, m.length(0));
  while (!str.empty() && (str.back() == '.' || str.back() == ' ')) str.pop_back();
  /* a sentence of a comment reads as a phrase of the table */
  if (str.size() > 1 && std::isupper(static_cast<unsigned char>(str[0])) &&
      std::islower(static_cast<unsigned char>(str[1])))
    str[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(str[0])));
  return str;
}

/* The reason codes of one source file; false when it cannot be read. */
bool _docReadReasons(const std::string &strPath, std::vector<DocReason> &vReasons)
{
  std::ifstream in(strPath);
  if (!in) return false;
  static const std::regex define("^\\s*#\\s*define\\s+([A-Za-z_][A-Za-z0-9_]*)\\s+(.*)$");
  static const std::regex make("^\\(?\\s*ORC_MAKE\\s*\\(\\s*([0-9a-fA-FxX]+)\\s*,\\s*([0-9a-fA-FxX]+)\\s*,\\s*"
                               "([0-9a-fA-FxX]+)\\s*\\)\\s*\\)?\\s*(.*)$");
  static const std::regex warning("^\\(?\\s*ORC_RUN_WARNING\\s*\\(\\s*([0-9a-fA-FxX]+)\\s*,\\s*([0-9a-fA-FxX]+)"
                                  "\\s*\\)\\s*\\)?\\s*(.*)$");
  static const std::regex literal("^\\(?\\s*(0[xX][0-9a-fA-F]+|[0-9]+)[uUlL]*\\s*\\)?\\s*(.*)$");
  std::string strLine, strComment;
  bool boInComment = false;
  int iLine = 0;
  while (std::getline(in, strLine)) {
    iLine++;
    std::string strTrim = strLine.substr(std::min(strLine.size(), strLine.find_first_not_of(" \t")));
    if (boInComment || strTrim.compare(0, 2, "/*") == 0) {
      if (!boInComment) strComment.clear();
      strComment += strLine + "\n";
      boInComment = strLine.find("*/") == std::string::npos;
      continue;
    }
    std::smatch m;
    if (!std::regex_match(strLine, m, define)) {
      strComment.clear();
      continue;
    }
    std::string strName = m[1].str(), strValue = m[2].str();
    std::string strAbove = _docCommentText(strComment);
    strComment.clear();
    DocReason reason;
    reason.strName = strName;
    reason.strWhere = strPath + ":" + std::to_string(iLine);
    std::string strRest;
    long lModule = 0, lSeverity = 0, lReason = 0, lValue = 0;
    std::smatch v;
    if (std::regex_match(strValue, v, make)) {
      if (!_docNumber(v[1].str(), &lModule) || !_docNumber(v[2].str(), &lSeverity) || !_docNumber(v[3].str(), &lReason))
        continue;
      reason.iCode = ORC_MAKE(lModule, lSeverity, lReason);
      strRest = v[4].str();
    } else if (std::regex_match(strValue, v, warning)) {
      if (!_docNumber(v[1].str(), &lModule) || !_docNumber(v[2].str(), &lReason)) continue;
      reason.iCode = ORC_RUN_WARNING(lModule, lReason);
      reason.kind = DOC_WARNING;
      strRest = v[3].str();
    } else if (std::regex_match(strValue, v, literal)) {
      bool boReason = strName.find("_RC_") != std::string::npos || strName.find("_ERR_") != std::string::npos ||
                      strName.compare(0, 4, "ORC_") == 0;
      bool boExit = strName.find("_EXIT_") != std::string::npos;
      std::string strNumber = v[1].str();
      if (!(boExit || (boReason && strNumber.size() > 2 && (strNumber[1] == 'x' || strNumber[1] == 'X'))) ||
          !_docNumber(strNumber, &lValue))
        continue;
      reason.iCode = static_cast<int>(lValue);
      reason.kind = boExit ? DOC_EXIT : DOC_ERROR;
      strRest = v[2].str();
    } else {
      continue;
    }
    std::string strInline;
    if (strRest.compare(0, 2, "/*") == 0) strInline = _docCommentText(strRest);
    else if (strRest.compare(0, 2, "//") == 0) strInline = strRest.substr(2);
    reason.strMeaning = _docMeaning(strInline);
    if (reason.strMeaning.empty()) reason.strMeaning = _docMeaning(strAbove);
    if (reason.strMeaning.compare(0, 1, "|") == 0) {
      reason.kind = DOC_CARRIER;
      reason.strMeaning.erase(0, reason.strMeaning.find_first_not_of("| "));
    } else if (reason.kind == DOC_ERROR && oreasonRank(reason.iCode) < 2) {
      reason.kind = DOC_INNER;
    }
    vReasons.push_back(reason);
  }
  return true;
}

/* One meaning of a status. */
struct DocMeaning {
  int iCode;                /* the reason code; 0 for a system error number or a process exit */
  bool boWarning;
  int iReturnCode;          /* 0: none is shown */
  std::string strText;
};

/* Every status a run can end with, and its meanings in code order. */
std::map<int, std::vector<DocMeaning>> _docStatusMeanings(const std::vector<DocReason> &vReasons)
{
  std::map<int, std::vector<DocMeaning>> mapStatus;
  for (const DocReason &reason : vReasons) {
    /* a process that ends at once is one of the run's processes, whose
       parent tells what failed */
    if (reason.kind == DOC_INNER || reason.kind == DOC_CARRIER || reason.kind == DOC_EXIT) continue;
    int iStatus = oreasonExitStatus(reason.iCode);
    std::vector<DocMeaning> &v = mapStatus[iStatus];
    auto it = std::find_if(v.begin(), v.end(), [&](const DocMeaning &m) { return m.iCode == reason.iCode; });
    if (it != v.end()) {
      if (it->strText.find(reason.strMeaning) == std::string::npos) it->strText += "; " + reason.strMeaning;
      continue;
    }
    v.push_back({reason.iCode, reason.kind == DOC_WARNING, oreasonEndReturnCode(reason.iCode), reason.strMeaning});
  }
  for (auto &[iStatus, v] : mapStatus)
    std::stable_sort(v.begin(), v.end(), [](const DocMeaning &a, const DocMeaning &b) {
      return static_cast<unsigned>(a.iCode) < static_cast<unsigned>(b.iCode);
    });
  for (int iErrno = 1; iErrno <= 133; iErrno++) {
    const char *pcName = strerrorname_np(iErrno);
    const char *pcText = strerrordesc_np(iErrno);
    if (pcName == nullptr || pcText == nullptr) continue;
    mapStatus[iErrno].push_back({0, false, 8, std::string(gacSystemError) + pcName + " (" + pcText + ")"});
  }
  return mapStatus;
}

/* The problems of the codes: listed codes without a meaning, and warning
** statuses that mean anything else. */
void _docCheckReasons(const std::vector<DocReason> &vReasons)
{
  std::map<int, const DocReason *> mapWarningByte;
  for (const DocReason &reason : vReasons) {
    bool boListed = reason.kind != DOC_INNER && reason.kind != DOC_EXIT;
    if (boListed && reason.strMeaning.empty())
      _docProblem(reason.strWhere + ": " + reason.strName + " has no meaning: give it a comment");
    if (reason.kind != DOC_WARNING) continue;
    int iByte = reason.iCode & 0xFF;
    if (iByte <= 128 + 64)
      _docProblem(reason.strWhere + ": " + reason.strName + " ends a run with status " + std::to_string(iByte) +
                  ", which a system error number, a shell or a signal gives too: take a low byte from 193 to 254");
    auto it = mapWarningByte.find(iByte);
    if (it != mapWarningByte.end() && it->second->iCode != reason.iCode)
      _docProblem(reason.strWhere + ": " + reason.strName + " has the low byte of " + it->second->strName);
    mapWarningByte[iByte] = &reason;
  }
  for (const DocReason &reason : vReasons) {
    if (reason.kind == DOC_WARNING) continue;
    auto it = mapWarningByte.find(reason.kind == DOC_EXIT ? reason.iCode & 0xFF : oreasonExitStatus(reason.iCode));
    if (it == mapWarningByte.end() && reason.kind != DOC_CARRIER) it = mapWarningByte.find(reason.iCode & 0xFF);
    if (it != mapWarningByte.end())
      _docProblem(reason.strWhere + ": " + reason.strName + " shares its low byte with the warning " +
                  it->second->strName + " (" + it->second->strWhere + "): a warning status must mean that warning only");
  }
}

/* Markdown-safe text of a table cell. */
std::string _docCell(const std::string &str)
{
  std::string strOut;
  for (char c : str) {
    if (c == '|') strOut += '\\';
    strOut += c;
  }
  return strOut;
}

/* Roff-safe text: backslashes escaped, no line begins with a control character. */
std::string _docRoff(const std::string &str)
{
  std::string strOut;
  for (char c : str) {
    if (c == '\\') strOut += "\\e";
    else if (c == '-') strOut += "\\-";
    else strOut += c;
  }
  if (!strOut.empty() && (strOut[0] == '.' || strOut[0] == '\'')) strOut.insert(0, "\\&");
  return strOut;
}

std::string _docHex(int iCode)
{
  char ac[16];
  std::snprintf(ac, sizeof ac, "0x%x", static_cast<unsigned>(iCode));
  return ac;
}

/* A row of the table: one status, or a range of statuses that are each a
** system error number only; its kind, return codes and meanings. */
struct DocRow {
  int iFirst, iLast;
  bool boErrnoRange = false;
  std::string strKind;
  std::string strReturnCodes;
  std::vector<std::string> vMeanings;
  std::vector<std::string> vCodes;      /* the code of each meaning, empty for none */
};

std::vector<DocRow> _docRows(const std::map<int, std::vector<DocMeaning>> &mapStatus)
{
  std::vector<DocRow> vRows;
  for (const auto &[iStatus, v] : mapStatus) {
    bool boOnlyErrno = v.size() == 1 && v[0].iCode == 0 && v[0].strText.compare(0, std::strlen(gacSystemError),
                                                                                 gacSystemError) == 0;
    if (boOnlyErrno && !vRows.empty() && vRows.back().boErrnoRange && vRows.back().iLast + 1 == iStatus) {
      vRows.back().iLast = iStatus;
      vRows.back().vMeanings.push_back(v[0].strText);
      vRows.back().vCodes.push_back("");
      continue;
    }
    DocRow row{iStatus, iStatus, boOnlyErrno, "", "", {}, {}};
    bool boWarning = false, boError = false;
    std::set<int> setReturnCodes;
    for (const DocMeaning &m : v) {
      (m.boWarning ? boWarning : boError) = true;
      if (m.iReturnCode != 0) setReturnCodes.insert(m.iReturnCode);
      row.vMeanings.push_back(m.strText);
      row.vCodes.push_back(m.iCode != 0 ? _docHex(m.iCode) : "");
    }
    row.strKind = boWarning && boError ? "warning or error" : boWarning ? "warning" : "error";
    for (int iRc : setReturnCodes) row.strReturnCodes += (row.strReturnCodes.empty() ? "" : ", ") + std::to_string(iRc);
    vRows.push_back(row);
  }
  /* in a range each system error is named with its number */
  for (DocRow &row : vRows)
    if (row.boErrnoRange && row.iFirst != row.iLast)
      for (size_t i = 0; i < row.vMeanings.size(); i++)
        row.vMeanings[i] = (i == 0 ? "system error " : "") + std::to_string(row.iFirst + static_cast<int>(i)) + " " +
                           row.vMeanings[i].substr(std::strlen(gacSystemError));
  return vRows;
}

std::string _docRowStatus(const DocRow &row, const char *pcDash)
{
  return row.iFirst == row.iLast ? std::to_string(row.iFirst)
                                 : std::to_string(row.iFirst) + pcDash + std::to_string(row.iLast);
}

/* The note on the codes that carry a byte. */
std::string _docCarrierNote(const std::vector<DocReason> &vReasons, bool boMarkdown)
{
  std::vector<std::string> v;
  std::set<int> setSeen;
  for (const DocReason &reason : vReasons) {
    if (reason.kind != DOC_CARRIER || !setSeen.insert(reason.iCode).second) continue;
    std::string strCode = _docHex(reason.iCode & ~0xFF);
    strCode = strCode.substr(0, strCode.size() - 2) + "nn";
    v.push_back((boMarkdown ? "`" + strCode + "`" : strCode) + " (" + reason.strMeaning + ")");
  }
  if (v.empty()) return "";
  std::string str = "In the reason code";
  str += v.size() > 1 ? "s " : " ";
  for (size_t i = 0; i < v.size(); i++) str += (i == 0 ? "" : i + 1 == v.size() ? " and " : ", ") + v[i];
  str += " the low byte nn is a system error number or the exit status of a process of the run: "
         "the exit status means what that number means.";
  return str;
}

const char gacStatusBegin[] = "exit-statuses:begin";
const char gacStatusEnd[] = "exit-statuses:end";

std::string _docStatusesMarkdown(const std::vector<DocRow> &vRows, const std::vector<DocReason> &vReasons)
{
  std::ostringstream out;
  out << "<!-- " << gacStatusBegin << " (generated by msg/omsgsdoc.cpp from the reason codes of the sources;"
      << " edit those, not this table) -->\n";
  out << "| status | kind | return code | meaning |\n|---|---|---|---|\n";
  out << "| 0 | success | 0 | the request ended well (ZORU411I or ZORU412I), or `-n`, `-v`, `-h`, `-c` did what was"
         " asked |\n";
  for (const DocRow &row : vRows) {
    out << "| " << _docRowStatus(row, "–") << " | " << row.strKind << " | " << row.strReturnCodes << " | ";
    for (size_t i = 0; i < row.vMeanings.size(); i++) {
      if (i > 0) out << "; ";
      if (!row.vCodes[i].empty()) out << "`" << row.vCodes[i] << "`" << (row.vMeanings[i].empty() ? "" : " ");
      out << _docCell(row.vMeanings[i]);
    }
    out << " |\n";
  }
  std::string strNote = _docCarrierNote(vReasons, true);
  if (!strNote.empty()) out << "\n" << strNote << "\n";
  out << "<!-- " << gacStatusEnd << " -->\n";
  return out.str();
}

std::string _docStatusesRoff(const std::vector<DocRow> &vRows, const std::vector<DocReason> &vReasons)
{
  std::ostringstream out;
  out << ".\\\" " << gacStatusBegin << " (generated by msg/omsgsdoc.cpp from the reason codes of the sources;\n"
      << ".\\\" edit those, not this list)\n";
  out << ".TP\n.B 0\nSuccess (return code 0): the request ended well (ZORU411I or ZORU412I), or\n"
         ".BR \\-n ,\n.BR \\-v ,\n.B \\-h\nor\n.B \\-c\ndid what was asked.\n";
  for (const DocRow &row : vRows) {
    out << ".TP\n.B " << _docRowStatus(row, "\\(en") << "\n";
    std::string strKind = row.strKind;
    strKind[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(strKind[0])));
    out << strKind;
    if (!row.strReturnCodes.empty())
      out << " (return code" << (row.strReturnCodes.find(',') != std::string::npos ? "s " : " ") << row.strReturnCodes
          << ")";
    out << ":\n";
    /* one meaning a line, the paragraph fills them */
    for (size_t i = 0; i < row.vMeanings.size(); i++)
      out << _docRoff(row.vCodes[i] + (row.vCodes[i].empty() || row.vMeanings[i].empty() ? "" : " ") +
                      row.vMeanings[i]) +
                 (i + 1 < row.vMeanings.size() ? ";" : ".")
          << "\n";
  }
  std::string strNote = _docCarrierNote(vReasons, false);
  if (!strNote.empty()) out << ".PP\n" << _docRoff(strNote) << "\n";
  out << ".\\\" " << gacStatusEnd << "\n";
  return out.str();
}

/* Replaces the part of the file from the line holding the begin mark to the
** line holding the end mark (both included) by the fragment, which carries
** both marks.  Returns false when the file cannot be read or written or has
** no such part. */
bool _docInto(const std::string &strPath, const std::string &strFragment)
{
  std::ifstream in(strPath, std::ios::binary);
  if (!in) return false;
  std::stringstream ss;
  ss << in.rdbuf();
  std::string strText = ss.str();
  size_t ulBegin = strText.find(gacStatusBegin);
  size_t ulEnd = ulBegin == std::string::npos ? ulBegin : strText.find(gacStatusEnd, ulBegin);
  if (ulEnd == std::string::npos) return false;
  ulBegin = strText.rfind('\n', ulBegin);
  ulBegin = ulBegin == std::string::npos ? 0 : ulBegin + 1;
  ulEnd = strText.find('\n', ulEnd);
  ulEnd = ulEnd == std::string::npos ? strText.size() : ulEnd + 1;
  strText.replace(ulBegin, ulEnd - ulBegin, strFragment);
  std::ofstream out(strPath, std::ios::binary);
  return out && (out << strText) && out.flush();
}

bool _docWrite(const std::string &strPath, const std::string &strText)
{
  std::ofstream file(strPath, std::ios::binary);
  return file && (file << strText) && file.flush();
}

int _docStatusesMain(int argc, char **argv)
{
  int iArg = 2;
  bool boCheck = false;
  if (iArg < argc && std::string(argv[iArg]) == "--check") {
    boCheck = true;
    iArg++;
  }
  if (argc - iArg < 2) {
    std::fprintf(stderr, "usage: omsgsdoc --statuses [--check] OUTPUT.md OUTPUT.roff [--into FILE...] -- SOURCE...\n");
    return 2;
  }
  std::string strMarkdown = argv[iArg], strRoff = argv[iArg + 1];
  iArg += 2;
  std::vector<std::string> vInto;
  if (iArg < argc && std::string(argv[iArg]) == "--into")
    for (iArg++; iArg < argc && std::string(argv[iArg]) != "--"; iArg++) vInto.push_back(argv[iArg]);
  if (iArg < argc && std::string(argv[iArg]) == "--") iArg++;
  std::vector<DocReason> vReasons;
  for (; iArg < argc; iArg++)
    if (!_docReadReasons(argv[iArg], vReasons)) {
      std::fprintf(stderr, "omsgsdoc: cannot read %s\n", argv[iArg]);
      return 2;
    }
  _docCheckReasons(vReasons);
  std::vector<DocRow> vRows = _docRows(_docStatusMeanings(vReasons));
  std::string strMd = _docStatusesMarkdown(vRows, vReasons);
  std::string strMan = _docStatusesRoff(vRows, vReasons);
  for (const auto &[strPath, strText] : {std::pair{strMarkdown, strMd}, std::pair{strRoff, strMan}})
    if (!_docWrite(strPath, strText)) {
      std::fprintf(stderr, "omsgsdoc: cannot write %s\n", strPath.c_str());
      return 2;
    }
  for (const std::string &strPath : vInto) {
    bool boMd = strPath.size() > 3 && strPath.compare(strPath.size() - 3, 3, ".md") == 0;
    if (!_docInto(strPath, boMd ? strMd : strMan)) {
      std::fprintf(stderr, "omsgsdoc: %s has no part between \"%s\" and \"%s\", or cannot be written\n",
                   strPath.c_str(), gacStatusBegin, gacStatusEnd);
      return 2;
    }
  }
  for (const std::string &str : gvProblems) std::fprintf(stderr, "omsgsdoc: %s\n", str.c_str());
  return boCheck && !gvProblems.empty() ? 1 : 0;
}

}  // namespace

int main(int argc, char **argv)
{
  if (argc > 1 && std::string(argv[1]) == "--statuses") return _docStatusesMain(argc, argv);
  int iArg = 1;
  bool boCheck = false;
  if (iArg < argc && std::string(argv[iArg]) == "--check") {
    boCheck = true;
    iArg++;
  }
  if (argc - iArg < 3) {
    std::fprintf(stderr, "usage: omsgsdoc [--check] OUTPUT.md messages.txt TABLE.def...\n");
    return 2;
  }
  std::string strOutput = argv[iArg];
  std::string strExplanations = argv[iArg + 1];

  std::vector<DocMessage> vMessages;
  for (int i = iArg + 2; i < argc; i++) {
    if (!_docReadTable(argv[i], vMessages)) {
      std::fprintf(stderr, "omsgsdoc: cannot read %s\n", argv[i]);
      return 2;
    }
  }
  std::map<std::string, DocExplanation> mapExplanations;
  if (_docReadExplanations(strExplanations, mapExplanations) != 0) return 2;

  std::stable_sort(vMessages.begin(), vMessages.end(),
                   [](const DocMessage &a, const DocMessage &b) { return a.strId < b.strId; });
  for (size_t i = 1; i < vMessages.size(); i++)
    if (vMessages[i].strId == vMessages[i - 1].strId)
      _docProblem(vMessages[i].strId + " is in two tables: " + vMessages[i - 1].strTable + " and " +
                  vMessages[i].strTable);
  std::map<std::string, bool> mapInTables;
  for (const DocMessage &msg : vMessages) mapInTables[msg.strId] = true;
  for (const auto &[strId, expl] : mapExplanations) {
    if (mapInTables.count(strId) == 0)
      _docProblem(strExplanations + ":" + std::to_string(expl.iLine) + ": " + strId + " is in no message table");
    if (expl.strMeaning.empty() || expl.strAction.empty())
      _docProblem(strExplanations + ":" + std::to_string(expl.iLine) + ": " + strId + " needs both meaning: and action:");
  }

  std::ostringstream out;
  out << gacIntro;
  std::string strPrevious;
  for (const DocMessage &msg : vMessages) {
    if (msg.strId == strPrevious) continue;
    strPrevious = msg.strId;
    auto it = mapExplanations.find(msg.strId);
    if (it == mapExplanations.end()) _docProblem(msg.strId + " (" + msg.strTable + ") has no explanation in " +
                                                 strExplanations);
    std::string strShown = _docShownId(msg);
    out << "## " << msg.strId << "\n\n";
    if (!strShown.empty())
      out << "Printed as `" << strShown << "` (the table lists it as `" << msg.strId << "`).\n\n";
    std::string strText = _docShowText(msg.strText);
    std::istringstream lines(strText);
    std::string strLine;
    while (std::getline(lines, strLine)) out << "    " << strLine << "\n";
    out << "\n";
    out << "**Meaning.** " << _docProse(it != mapExplanations.end() ? it->second.strMeaning : "") << "\n\n";
    out << "**Action.** " << _docProse(it != mapExplanations.end() ? it->second.strAction : "") << "\n\n";
  }
  std::string strDoc = out.str();
  while (strDoc.size() > 1 && strDoc[strDoc.size() - 1] == '\n' && strDoc[strDoc.size() - 2] == '\n')
    strDoc.pop_back();

  std::ofstream file(strOutput, std::ios::binary);
  if (!file || !(file << strDoc) || !file.flush()) {
    std::fprintf(stderr, "omsgsdoc: cannot write %s\n", strOutput.c_str());
    return 2;
  }
  for (const std::string &str : gvProblems) std::fprintf(stderr, "omsgsdoc: %s\n", str.c_str());
  return boCheck && !gvProblems.empty() ? 1 : 0;
}
