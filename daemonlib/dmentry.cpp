/*
** dmentry.cpp
**   Plain-named entry points of libdb2zavdm for the daemon program (see
**   dmentry.h): each forwards to the library function it is named after.
*/
#include "daemonlib/dmentry.h"

#include "common/omsgs.h"
#include "model/config.h"
#include "io/socket.h"

int dmentryConfigVerifyTopzav(void)
{
  return configVerifyTopzav();
}

ochar *dmentryConfigReadFileTrace(void)
{
  return configReadFileTrace();
}

int dmentryConfigSetLanguage(char **ppcLanguage, char **ppcPath)
{
  return configSetLanguage(ppcLanguage, ppcPath);
}

int dmentryOmsgsInitModule(const char *pcQueuePath, int iQueueId, const char *pcSysprint,
                           int iQuiet1, int iQuiet2, ochar *pcharTraceList, int iMode,
                           int *piCentre, const char *pcBundle, const char *pcLocale)
{
  return omsgsInitModule(pcQueuePath, iQueueId, pcSysprint, iQuiet1, iQuiet2, pcharTraceList,
                         iMode, piCentre, pcBundle, pcLocale);
}

int dmentryOmsgsInitLanguage(const char *pcBundle, const char *pcLocale)
{
  return omsgsInitLanguage(pcBundle, pcLocale);
}

int dmentryOmsgsDestroyModule(void)
{
  return omsgsDestroyModule(0);
}

void dmentryDaemonInit(void)
{
  vSOCKETdaemonInit();
}

int dmentrySocketCreate(const servent *pservent, char **ppcErrorText)
{
  return iSOCKETcreate(pservent, ppcErrorText);
}

int dmentrySocketListen(int iSocket, int iBacklog, char **ppcErrorText)
{
  return iSOCKETlisten(iSocket, iBacklog, ppcErrorText);
}

int dmentrySocketAccept(int iSocket, void *pAddress, char **ppcErrorText)
{
  return iSOCKETaccept(iSocket, pAddress, ppcErrorText);
}

int dmentrySocketDoService(int iSocket, char **ppcErrorText)
{
  return iSOCKETdoService(iSocket, ppcErrorText);
}
