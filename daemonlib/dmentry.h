/*
** dmentry.h
**   The entry points of libdb2zavdm under their plain (C) symbol names, as
**   the network daemon program looks them up after loading the library:
**
**     configVerifyTopzav  configReadFileTrace  configSetLanguage
**     omsgsInitModule     omsgsInitLanguage    omsgsDestroyModule
**     vSOCKETdaemonInit   iSOCKETcreate        iSOCKETlisten
**     iSOCKETaccept       iSOCKETdoService
**
**   Each one calls the library function of the same name and has its
**   contract (model/config.h, common/omsgs.h, io/socket.h), except that
**   omsgsDestroyModule takes no argument (there is no centre to wait for).
**   Inside the library the C++ functions are used; these symbols exist for
**   the loading program only.  Nothing of the library calls them.
*/
#ifndef ZAV_DAEMONLIB_DMENTRY_H
#define ZAV_DAEMONLIB_DMENTRY_H

struct ochar;
struct servent;

extern "C" {
int dmentryConfigVerifyTopzav(void) __asm__("configVerifyTopzav");
ochar *dmentryConfigReadFileTrace(void) __asm__("configReadFileTrace");
int dmentryConfigSetLanguage(char **ppcLanguage, char **ppcPath) __asm__("configSetLanguage");
int dmentryOmsgsInitModule(const char *pcQueuePath, int iQueueId, const char *pcSysprint,
                           int iQuiet1, int iQuiet2, ochar *pcharTraceList, int iMode,
                           int *piCentre, const char *pcBundle, const char *pcLocale)
    __asm__("omsgsInitModule");
int dmentryOmsgsInitLanguage(const char *pcBundle, const char *pcLocale) __asm__("omsgsInitLanguage");
int dmentryOmsgsDestroyModule(void) __asm__("omsgsDestroyModule");
void dmentryDaemonInit(void) __asm__("vSOCKETdaemonInit");
int dmentrySocketCreate(const servent *pservent, char **ppcErrorText) __asm__("iSOCKETcreate");
int dmentrySocketListen(int iSocket, int iBacklog, char **ppcErrorText) __asm__("iSOCKETlisten");
int dmentrySocketAccept(int iSocket, void *pAddress, char **ppcErrorText) __asm__("iSOCKETaccept");
int dmentrySocketDoService(int iSocket, char **ppcErrorText) __asm__("iSOCKETdoService");
}

#endif
