/* config.cpp: temporary bodies; the implementation follows. */
#include "driver/config.h"
#include <cstdio>
#include <sys/time.h>
struct ochar;struct olexContextDef;
const char *const gapcTabVarNames[CONFIG_ITEM_COUNT] = {};
const char *const gapcTabVarValues[CONFIG_ITEM_COUNT] = {};
const olexContextDef *const aplexContextDefTrace[] = {nullptr};
char acStrLang[100];
#pragma GCC diagnostic ignored "-Wunused-parameter"
int configVerifyTopzav(void) { return {}; }
#pragma GCC diagnostic ignored "-Wunused-parameter"
void *configUseItem(int iItem, int iAlloc) { return {}; }
#pragma GCC diagnostic ignored "-Wunused-parameter"
char *configUseItemInLst(int iItem, int iAlloc, const char *pcInstance) { return {}; }
#pragma GCC diagnostic ignored "-Wunused-parameter"
int configGetDefaultUserParam(void) { return {}; }
#pragma GCC diagnostic ignored "-Wunused-parameter"
ochar *configReadFileTrace(void) { return {}; }
#pragma GCC diagnostic ignored "-Wunused-parameter"
int configSetLanguage(char **ppcLanguage, char **ppcPath) { return {}; }
