/*
** zor3test.h
**   Test helpers for the control-file parser: parse a text the way the
**   driver does, capture the messages it issues, print the request tree as
**   canonical text (atoms sorted by name, values by kind) and free the tree
**   with what the parser hands out as borrowed.
*/
#ifndef ZAV_TESTS_CONTROL_ZOR3TEST_H
#define ZAV_TESTS_CONTROL_ZOR3TEST_H

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "common/obf.h"
#include "common/ochaine.h"
#include "common/ochar.h"
#include "common/odict.h"
#include "common/olist.h"
#include "common/omsgs.h"
#include "common/ostack.h"
#include "common/ostream.h"
#include "common/oyacc.h"
#include "control/zor3lex.h"
#include "control/zor3yacc.h"
#include "control/zordyacc.h"
#include "model/token.h"
#include "model/udb.h"
#include "model/zoratom.h"
#include "model/zortask.h"
#include "expr/zorcol.h"
#include "storage/zorbk.h"

namespace zor3test {

inline std::string Text(const ochar *pchar)
{
  if (pchar == nullptr) return "<null>";
  return std::string(_charText(pchar), (size_t)pchar->ilBU);
}

inline std::string Set(const obf *pobf)
{
  if (pobf == nullptr) return "<null>";
  std::string str = "{";
  bool boFirst = true;
  for (uint32_t i = 0; i < pobf->ulBitCount; i++) {
    if (obfGet(pobf, i)) {
      str += (boFirst ? "" : ",") + std::to_string(i);
      boFirst = false;
    }
  }
  return str + "}/" + std::to_string(pobf->ulBitCount);
}

inline std::string Integer(const char *pcName, int32_t iValue)
{
  static const std::pair<int32_t, const char *> aCodes[] = {
      {0xE8C5E2, "YES"},   {0xD5D6, "NO"},       {0xC6D6D9, "FORCE"}, {0xC1E2, "ASIS"},
      {0xC1E2C3, "ASCII"}, {0xE4D5C9, "UNICODE"}, {0xD9C5D3, "REAL"},  {0xD4C1E7, "MAX"},
      {0xC1C6E3, "AFTER"}, {0xC2C6D6, "BEFORE"}, {0xD9C9C7, "RIGHT"}, {0xD3C5C6, "LEFT"},
  };
  char ac[32];
  if (pcName == gapnameTotalToken[TOKEN_PIC]) {
    std::snprintf(ac, sizeof ac, "0x%X", (unsigned)iValue);
    return ac;
  }
  for (const auto &code : aCodes)
    if (code.first == iValue) return code.second;
  return std::to_string(iValue);
}

inline std::string Atom(const zoratom *patom)
{
  const char *pcName = patom->pcName;
  const zoratomValue &v = patom->value;
  std::string str = std::string(pcName ? pcName : "?") + " ";
  switch (patom->iKind) {
    case ZORATOM_INTEGER:
      return str + Integer(pcName, v.iValue);
    case ZORATOM_OCHAR:
      return str + "'" + Text(v.pchar) + "'";
    case ZORATOM_TYPE: {
      int32_t iSecond = (int32_t)patom->value2.ulWord;
      std::string strSecond = iSecond >= 'A' && iSecond <= 'Z' ? std::string(1, (char)iSecond)
                                                                : std::to_string(iSecond);
      return str + "(" + std::to_string(v.iValue) + "," + strSecond + ")";
    }
    case ZORATOM_TRISHORT:
      return str + "(" + std::to_string(v.ausShort[0]) + "," + std::to_string(v.ausShort[1]) +
             "," + std::to_string((uint16_t)patom->value2.ulWord) + ")";
    case ZORATOM_DBLCHAR:
      if (v.pchar == nullptr && patom->value2.pchar == nullptr) return str + "OFF";
      return str + "('" + Text(v.pchar) + "','" + Text(patom->value2.pchar) + "')";
    case ZORATOM_OBF:
      return str + Set(v.pobf);
    case ZORATOM_ZORCOL:
      if (v.pcol->pcharName != nullptr) return str + "'" + Text(v.pcol->pcharName) + "'";
      return str + std::to_string(v.pcol->iNumber);
    case ZORATOM_OCHAINE: {
      std::string strItems;
      for (zorcol *pcol = static_cast<zorcol *>(v.pchaine->pitemTop); pcol != nullptr;
           pcol = pcol->pcolNext)
        strItems += (strItems.empty() ? "" : ",") +
                    (pcol->pcharName ? Text(pcol->pcharName) : std::to_string(pcol->iNumber));
      if (v.pchaine->pData == ZORDYACC_SELECT_STAR) strItems = "*";
      return str + "[" + strItems + "]";
    }
    case ZORATOM_ZORNODE:
      return str + "<tree>";
    case ZORATOM_OLIST: {
      std::string strItems;
      olistIterator iter;
      olistIteratorInit(&iter, v.plist);
      while (olistIteratorNext(&iter)) {
        std::string strItem;
        if (pcName == gapnameTotalToken[TOKEN_OUTPUT]) {
          udbOutFile *pout = static_cast<udbOutFile *>(olistIteratorGetItem(&iter));
          strItem = "\"" + Text(pout->pcharFileName) + "\" mode=" + std::to_string(pout->ulMode);
          if (pout->pcharHost) strItem += " host=" + Text(pout->pcharHost);
          strItem += " parts=" + Set(pout->pobfPart);
        } else if (pcName == gapnameTotalToken[TOKEN_BACKUP]) {
          zorbkFileEntry *pentry = static_cast<zorbkFileEntry *>(olistIteratorGetItem(&iter));
          strItem = "\"" + Text(pentry->pcharFileName) + "\"/" + std::to_string(pentry->ilPart);
        } else if (pcName == gapnameTotalToken[TOKEN_LOB]) {
          udbLobPath *plob = static_cast<udbLobPath *>(olistIteratorGetRef(&iter));
          strItem = "\"" + Text(plob->pcharPath) + "\" parts=" + Set(plob->pobfPart);
        } else {
          strItem = "\"" + Text(static_cast<ochar *>(olistIteratorGetRef(&iter))) + "\"";
        }
        strItems += (strItems.empty() ? "" : ", ") + strItem;
      }
      olistIteratorDestroy(&iter);
      return str + "[" + strItems + "]";
    }
    default:
      return str + "kind " + std::to_string(patom->iKind);
  }
}

/* The task tree as text: one line per task and per atom, atoms sorted by
** name, sub-tasks indented below their task. */
inline void Dump(const zortask *ptask, int iDepth, std::string &str)
{
  std::string strIndent((size_t)iDepth * 2, ' ');
  str += strIndent + (ptask->pcName ? ptask->pcName : "-");
  if (ptask->ulFlags != 0) str += " flags=" + std::to_string(ptask->ulFlags);
  str += "\n";
  std::vector<std::string> atoms;
  odictcursor cursor;
  odictCursorInit(&cursor, ptask->pdictAtoms);
  for (; cursor.pentry != nullptr; odictCursorNext(&cursor)) {
    zoratom *patom = static_cast<zoratom *>(odictCursorGetValue(&cursor));
    if (patom != nullptr) atoms.push_back(Atom(patom));
  }
  odictCursorDestroy(&cursor);
  std::sort(atoms.begin(), atoms.end());
  for (const auto &strAtom : atoms) str += strIndent + "  " + strAtom + "\n";
  if (ptask->pchaineSubTasks == nullptr) return;
  for (zortask *psub = static_cast<zortask *>(ptask->pchaineSubTasks->pitemTop); psub != nullptr;
       psub = psub->ptaskNext)
    Dump(psub, iDepth + 1, str);
}

inline std::string Dump(const zortask *ptask)
{
  std::string str;
  if (ptask != nullptr) Dump(ptask, 0, str);
  return str;
}

/* Texts of a detached message stack, oldest first; the stack is freed. */
inline std::vector<std::string> Messages(ostack *pstack)
{
  std::vector<std::string> texts;
  if (pstack == nullptr) return texts;
  for (int i = 0; i < ostackGetCount(pstack); i++) {
    char *pc = reinterpret_cast<char *>(ostackGetAt(pstack, i));
    texts.emplace_back(pc);
    std::free(pc);
  }
  ostackDestroy(pstack);
  return texts;
}

/* Frees the tree with what the parser leaves borrowed: the LOB lists and
** the messages kept for SELECTs. */
inline void FreeBorrowed(zortask *ptask)
{
  if (ptask == nullptr) return;
  zoratom *patom = zortaskRemoveAtom(ptask, gapnameTotalToken[TOKEN_LOB]);
  if (patom != nullptr) {
    olistIterator iter;
    olistIteratorInit(&iter, patom->value.plist);
    while (olistIteratorNext(&iter))
      udbLobPathDestroy(static_cast<udbLobPath *>(olistIteratorGetRef(&iter)));
    olistIteratorDestroy(&iter);
    olistDestroy(patom->value.plist);
    zoratomDestroy(patom);
  }
  (void)Messages(ptask->pstackDefered);
  ptask->pstackDefered = nullptr;
  if (ptask->pchaineSubTasks == nullptr) return;
  for (zortask *psub = static_cast<zortask *>(ptask->pchaineSubTasks->pitemTop); psub != nullptr;
       psub = psub->ptaskNext)
    FreeBorrowed(psub);
}

inline void FreeTree(zortask *ptask)
{
  FreeBorrowed(ptask);
  zortaskDestroy(ptask);
}

/* One parse of a control-file text, as the driver runs it. */
struct Parse {
  int iResult = 0;
  int32_t iLevel = 0;
  zortask *ptask = nullptr;
  std::vector<std::string> messages;
  std::string strTree;
  /* Deferred messages of each SELECT, in tree order. */
  std::vector<std::vector<std::string>> selectMessages;

  explicit Parse(const std::string &strText)
  {
    std::string strCopy = strText;
    oyacc yacc;
    int iInit = oyaccInitItemized(&yacc, aplexContextDefUdb,
                                  ostreamCreateFromBuffer(strCopy.data(), (int32_t)strCopy.size()),
                                  '\'', '"', '.', 850, 0, 0, 1);
    int boDefered = omsgsSetDefered(1);
    iResult = iInit == 0 ? zor3yyparse(&yacc) : -1;
    omsgsSetDefered(boDefered);
    messages = Messages(omsgsExportDefered());
    iLevel = yacc.iErrorLevel;
    ptask = yacc.ptaskResult;
    oyaccDelete(&yacc);
    strTree = Dump(ptask);
    CollectSelectMessages(ptask);
  }
  ~Parse() { FreeTree(ptask); }
  Parse(const Parse &) = delete;
  Parse &operator=(const Parse &) = delete;

  /* The request may run: accepted and no error recovered from. */
  bool Runnable() const { return iResult == 0 && iLevel == 0; }

  std::string AllMessages() const
  {
    std::string str;
    for (const auto &strMsg : messages) str += strMsg;
    return str;
  }

 private:
  void CollectSelectMessages(zortask *pt)
  {
    if (pt == nullptr) return;
    if (pt->pcName == gapnameTotalToken[TOKEN_SELECT]) {
      selectMessages.push_back(Messages(pt->pstackDefered));
      pt->pstackDefered = nullptr;
    }
    if (pt->pchaineSubTasks == nullptr) return;
    for (zortask *psub = static_cast<zortask *>(pt->pchaineSubTasks->pitemTop); psub != nullptr;
         psub = psub->ptaskNext)
      CollectSelectMessages(psub);
  }
};

} // namespace zor3test

#endif
