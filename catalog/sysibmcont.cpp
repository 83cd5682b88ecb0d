/*
** sysibmcont.cpp
**   The partition records of a table space over every partition of an
**   instance (sysibmcont.h).
*/
#define OMSGS_TRACE_KEYWORD "$SYSIBM"
#define OMSGS_DEBUG_KEYWORD nullptr
#include "common/omsgsmod.h"

#include "catalog/sysibmcont.h"

#include "common/obf.h"
#include "common/ochar.h"
#include "common/olist.h"
#include "io/db2util.h"
#include "io/socket.h"
#include "model/tools.h"
#include "model/zormsgs.h"
#include "storage/ficcont.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string _sysibmText(const ochar *pchar)
{
  if (pchar == nullptr || pchar->pcData == nullptr) return std::string();
  return std::string(_charText(pchar), static_cast<size_t>(pchar->ilBU));
}

}  // namespace

olist *sysibmGetContainers(ochar *pcharInstance, ochar *pcharUser, ochar *pcharDatabase, ochar *pcharTbsName,
                           int *prc, const obf *pobfWanted)
{
  std::string strInstance = _sysibmText(pcharInstance), strUser = _sysibmText(pcharUser);
  std::string strDatabase = _sysibmText(pcharDatabase), strTbsName = _sysibmText(pcharTbsName);
  *prc = 0;

  ochar *pcharDrive = nullptr, *pcharInternal = nullptr;
  int iNode = 0;
  int rc = db2utilGetDBPath(strDatabase.c_str(), &pcharDrive, &iNode, &pcharInternal);
  if (rc != 0) {
    ocharDestroy(pcharDrive);
    ocharDestroy(pcharInternal);
    *prc = rc;
    return nullptr;
  }
  std::string strDbPath = _sysibmText(pcharDrive), strDbDir = _sysibmText(pcharInternal);
  ocharDestroy(pcharDrive);
  ocharDestroy(pcharInternal);

  int iCount = 0;
  db2utilNode *pnodes = db2utilGetNodes(strInstance.c_str(), &iCount);
  if (pnodes == nullptr) {
    *prc = SYSIBM_RC_NONODES;
    return nullptr;
  }

  olist *plist = nullptr;
  for (int i = 0; i < iCount; i++) {
    const db2utilNode &node = pnodes[i];
    if (node.acHost[0] == '\0') continue;
    if (pobfWanted != nullptr && obfGet(pobfWanted, static_cast<uint32_t>(node.iNode)) != 1) {
      omsgsTrace("partition %d not asked for\n", node.iNode);
      continue;
    }
    char acNode[16];
    std::snprintf(acNode, sizeof acNode, "NODE%.4d", node.iNode);
    std::string strNodePath = strDbPath + "/" + strInstance + "/" + acNode;
    std::string strPartPath = strNodePath + "/" + strDbDir + "/";
    int rcPart = 0;
    std::string strWhy;   /* why the partition is not read */
    if (db2utilIsThisHost(node.acHost)) {
      rcPart = ficcontGetLocalPart(&plist, node.acHost, strDatabase.c_str(), pcharTbsName, strPartPath.c_str(),
                                   node.iNode);
      if (rcPart == FICCONT_RC_MISSING) {
        struct stat st {};
        std::string strDir = strPartPath.substr(0, strPartPath.size() - 1);
        if (stat(strNodePath.c_str(), &st) != 0)
          strWhy = "ITS DIRECTORY " + strNodePath + " DOES NOT EXIST";
        else if (stat(strDir.c_str(), &st) != 0)
          strWhy = "THE DATABASE DIRECTORY " + strDir + " DOES NOT EXIST";
        else
          strWhy = "ITS TABLESPACE CONTROL FILE " + strPartPath + FICCONT_FILE_NAME + " DOES NOT EXIST";
        rcPart = SYSIBM_RC_PARTITION;
      }
    } else {
      char *pcError = nullptr;
      if (iSOCKETtestDaemon(node.acHost, &pcError) == 0) {
        rcPart = ficcontGetRemotePart(&plist, node.acHost, strDatabase.c_str(), pcharTbsName, strPartPath.c_str(),
                                      node.iNode, strUser.c_str());
      } else {
        omsgsTrace("partition %d: %s\n", node.iNode, pcError != nullptr ? pcError : "");
        strWhy = "NO ZAV DAEMON ANSWERS ON THAT HOST";
        rcPart = SYSIBM_RC_PARTITION;
      }
    }
    if (rcPart != 0 && strWhy.empty())
      strWhy = "ITS TABLESPACE CONTROL FILE " + strPartPath + FICCONT_FILE_NAME + " CANNOT BE READ WHOLE";
    if (rcPart != 0) omsgsFMTEDO(ZORU432E, node.iNode, node.acHost, strDatabase.c_str(), strWhy.c_str());
    omsgsTrace("partition %d on %s (%s): %x\n", node.iNode, node.acHost, strPartPath.c_str(), rcPart);
    /* a partition that failed must not be hidden by the ones read after it */
    if (*prc == 0) *prc = rcPart;
  }
  std::free(pnodes);

  if (*prc == 0 && (plist == nullptr || plist->iItemCount == 0)) {
    omsgsFMTEDO(ZORU343E, strTbsName.c_str(), strDatabase.c_str());
    *prc = SYSIBM_RC_NOCONT;
  }
  return plist;
}
