/*
** omsgsdoc.cpp
**   Build tool: writes the messages document (docs/messages.md) from the
**   message tables (the X-macro *.def files of every subsystem) and the
**   explanations of msg/messages.txt, so that the document lists exactly the
**   messages the program and the daemon library can issue, with their
**   built-in texts.
**
**     omsgsdoc [--check] OUTPUT.md messages.txt TABLE.def...
**
**   A table line is MACRO(IDENTIFIER, "text" ...): the identifier is eight
**   characters, the text one or more C string literals.  Files without such
**   lines (the token list, for one) contribute nothing.  The document is
**   always written; an identifier without an explanation gets a marked
**   placeholder.  Problems (no explanation, an explanation for no message,
**   an entry without meaning or action, entries out of identifier order or
**   repeated, an identifier in two tables) are printed on standard error;
**   with --check they make the exit status 1.  A file that cannot be read or
**   written, or a line of messages.txt that fits no rule, gives exit status 2.
*/
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

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

}  // namespace

int main(int argc, char **argv)
{
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
