/*
** db2zavkey.cpp
**   The db2zavkey command: makes the secret of an instance, the key file
**   with which db2zav and the daemons of the instance's hosts recognise one
**   another (io/authkey.h), when it is missing.
**
**     db2zavkey [instance]
**
**   The instance is the argument, else DB2INSTANCE, else the configuration's
**   db2instance; its home and user come from the configuration of TOPZAV.
**   Run as root or as the instance user.  Prints the file's path and
**   whether it was made or was already there; exits 0, 1 on a failure, 2
**   on bad usage.
*/
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "io/authkey.h"
#include "model/config.h"

int main(int argc, char **argv)
{
  if (argc > 2 || (argc == 2 && (argv[1][0] == '-' || argv[1][0] == '\0'))) {
    std::fprintf(stderr, "usage: db2zavkey [instance]\n");
    return 2;
  }
  if (configVerifyTopzav() != 0) {
    std::fprintf(stderr, "db2zavkey: TOPZAV is not defined\n");
    return 1;
  }
  std::string strInstance;
  const char *pcEnv = std::getenv("DB2INSTANCE");
  if (argc == 2) {
    strInstance = argv[1];
  } else if (pcEnv != nullptr && pcEnv[0] != '\0') {
    strInstance = pcEnv;
  } else if (char *pcItem = static_cast<char *>(configUseItem(CONFIG_ITEM_DB2INSTANCE, 1))) {
    strInstance = pcItem;
    std::free(pcItem);
  }
  std::string strPath, strWhy;
  int boCreated = 0;
  int rc = authkeyCreate(strInstance.c_str(), &strPath, &boCreated, &strWhy);
  if (rc != 0) {
    std::fprintf(stderr, "db2zavkey: instance %s: %s\n", strInstance.c_str(), strWhy.c_str());
    return 1;
  }
  std::printf("db2zavkey: %s %s\n", strPath.c_str(), boCreated ? "created" : "already there, kept");
  return 0;
}
