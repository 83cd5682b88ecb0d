/* tools.cpp: temporary bodies; the implementation follows. */
#include "driver/tools.h"
#include <cstdio>
#include <sys/time.h>
struct ochar;struct olexContextDef;
#pragma GCC diagnostic ignored "-Wunused-parameter"
char *toolsToupperStr(char *pcDest, const char *pcSource, int iLength) { return {}; }
#pragma GCC diagnostic ignored "-Wunused-parameter"
char *toolsTolowerStr(char *pcDest, const char *pcSource, int iLength) { return {}; }
#pragma GCC diagnostic ignored "-Wunused-parameter"
char *toolsRightTrimStr(char *pcDest, const char *pcSource) { return {}; }
#pragma GCC diagnostic ignored "-Wunused-parameter"
char *toolsLeftTrimStr(char *pcDest, const char *pcSource) { return {}; }
#pragma GCC diagnostic ignored "-Wunused-parameter"
char *toolsAllTrimStr(char *pcDest, const char *pcSource) { return {}; }
#pragma GCC diagnostic ignored "-Wunused-parameter"
int toolsIsdigitStr(const char *pcText, int iLength) { return {}; }
#pragma GCC diagnostic ignored "-Wunused-parameter"
char *toolsFormatStatement(char *pcText) { return {}; }
#pragma GCC diagnostic ignored "-Wunused-parameter"
void toolsStrToDecimalArea(const unsigned char *pucPacked, int iPrecision, int iScale, char *pcOutput) { }
#pragma GCC diagnostic ignored "-Wunused-parameter"
void toolsStrToTimeArea(const unsigned char *pucBytes, int iCount, char *pcOutput) { }
#pragma GCC diagnostic ignored "-Wunused-parameter"
int64_t toolsSizeFile(const char *pcPath, int *piRc) { return {}; }
#pragma GCC diagnostic ignored "-Wunused-parameter"
int toolsOpenFile(const char *pcPath, int *piRc, int boReport) { return {}; }
#pragma GCC diagnostic ignored "-Wunused-parameter"
int toolsAppendFile(const char *pcPath, int *piRc) { return {}; }
#pragma GCC diagnostic ignored "-Wunused-parameter"
int toolsCreateFile(const char *pcPath, int *piRc) { return {}; }
#pragma GCC diagnostic ignored "-Wunused-parameter"
FILE *toolsOpenBFile(const char *pcPath, int *piRc) { return {}; }
#pragma GCC diagnostic ignored "-Wunused-parameter"
FILE *toolsAppendBFile(const char *pcPath, int *piRc) { return {}; }
#pragma GCC diagnostic ignored "-Wunused-parameter"
FILE *toolsCreateBFile(const char *pcPath, int *piRc) { return {}; }
#pragma GCC diagnostic ignored "-Wunused-parameter"
int toolsReadInPipe(int iFd, void *pBuffer, int iSize) { return {}; }
#pragma GCC diagnostic ignored "-Wunused-parameter"
char *toolsFormatFilename(const char *pcName, int iLength, int iPartition, int iSequence, int boReplace) { return {}; }
#pragma GCC diagnostic ignored "-Wunused-parameter"
int toolsGetHostName(char *pcBuffer, int iSize) { return {}; }
#pragma GCC diagnostic ignored "-Wunused-parameter"
const char *toolsGetError(void) { return {}; }
