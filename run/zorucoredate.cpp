/*
** zorucoredate.cpp
**   DEL column converters, part three: DATE, TIME and TIMESTAMP in their
**   DEL formats.  Each converter is described by one format descriptor
**   (which value, whether the template is copied, which digit groups go
**   where); one routine writes them all.  See run/zorucoredate.h.
*/
#include "run/zorucoredate.h"

#include <cstring>

#include "run/zorucoredel.h"

/* What a digit group writes. */
enum ucoreGroup {
  UCORE_G_CENTURY,   /* 2 digits */
  UCORE_G_YEAR,      /* 2 digits */
  UCORE_G_MONTH,     /* 2 digits */
  UCORE_G_DAY,       /* 2 digits */
  UCORE_G_DOY,       /* 3 digits: day of year */
  UCORE_G_HOUR,      /* 2 digits */
  UCORE_G_HOUR12,    /* 2 digits on the 12-hour clock (01 to 12), and "A" or "P" at the second's position */
  UCORE_G_MINUTE,    /* 2 digits */
  UCORE_G_SECOND,    /* 2 digits */
  UCORE_G_MICRO,     /* 6 digits */
  UCORE_G_END
};

enum ucoreValue { UCORE_V_DATE, UCORE_V_TIME, UCORE_V_TIMESTAMP };

#define UCORE_MAX_GROUPS 8

/* One DEL date/time format as a converter writes it. */
struct ucoreFormat {
  ucoreValue value;
  bool       boTemplate;  /* copy the template first; its length is the text length */
  int        iLength;     /* text length of a format written without template (0: the template's) */
  struct {
    ucoreGroup group;
    int        iPos;      /* fixed position, or -1: the core data's position */
  } agroup[UCORE_MAX_GROUPS];
};

/* Value bytes, index of each group's byte in the value, and group widths. */
static const int aiValueSize[] = {4, 3, 10};

/* Per group (ucoreGroup order): text width, template position index, and the byte of the
   value it comes from in a time and in a date or timestamp (-1: the day of year, computed). */
static constexpr int8_t aiGroupWidth[UCORE_G_END] = {2, 2, 2, 2, 3, 2, 2, 2, 2, 6};
static constexpr int8_t aiGroupPosIndex[UCORE_G_END] = {
    ZORUCORE_POS_CENTURY, ZORUCORE_POS_YEAR, ZORUCORE_POS_MONTH,  ZORUCORE_POS_DAY,    ZORUCORE_POS_DAY,
    ZORUCORE_POS_HOUR,    ZORUCORE_POS_HOUR, ZORUCORE_POS_MINUTE, ZORUCORE_POS_SECOND, ZORUCORE_POS_MICRO};
static constexpr int8_t aiGroupByteTime[UCORE_G_END] = {0, 1, 2, 3, -1, 0, 0, 1, 2, 7};
static constexpr int8_t aiGroupByteDate[UCORE_G_END] = {0, 1, 2, 3, -1, 4, 4, 5, 6, 7};

static inline int _ucoreGroupByte(ucoreValue value, ucoreGroup group)
{
  if (group < 0 || group >= UCORE_G_END) return -1;
  return value == UCORE_V_TIME ? aiGroupByteTime[group] : aiGroupByteDate[group];
}

static inline int _ucoreGroupWidth(ucoreGroup group)
{
  return group >= 0 && group < UCORE_G_END ? aiGroupWidth[group] : 2;
}

/* Where a group goes: its fixed position, else the core data's; -1 when it has none. */
static inline int _ucoreGroupPos(const zorucoreData *pcore, ucoreGroup group, int iFixed)
{
  if (iFixed >= 0) return iFixed;
  return (group >= 0 && group < UCORE_G_END) ? pcore->asPos[aiGroupPosIndex[group]] : -1;
}

/* True when both nibbles of a packed byte are decimal digits. */
static bool _ucoreBcd(unsigned char uc)
{
  return (uc >> 4) <= 9 && (uc & 0x0F) <= 9;
}

static int _ucoreBcdValue(unsigned char uc)
{
  return (uc >> 4) * 10 + (uc & 0x0F);
}

/* Floor division, so that the day counts hold for every year. */
static long _ucoreFloorDiv(long a, long b)
{
  long q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

static long _ucoreDaysBefore(long lYear)
{
  return 365 * lYear + _ucoreFloorDiv(lYear, 4) - _ucoreFloorDiv(lYear, 100) + _ucoreFloorDiv(lYear, 400);
}

int _zorucore_GetQuantieme(const unsigned char *pucDate)
{
  static const int aiMonthOffset[] = {0, 306, 337, 0, 31, 61, 92, 122, 153, 184, 214, 245, 275, 306, 337, 9999};
  long lYear = _ucoreBcdValue(pucDate[0]) * 100L + _ucoreBcdValue(pucDate[1]);
  int iMonth = _ucoreBcdValue(pucDate[2]);
  int iDay = _ucoreBcdValue(pucDate[3]);
  if (iMonth < 1 || iMonth > 12) return 0;
  long lA = lYear - 1;
  long lB = iMonth < 3 ? lYear - 1 : lYear;
  return static_cast<int>(iDay + aiMonthOffset[iMonth] + _ucoreDaysBefore(lB) - _ucoreDaysBefore(lA) - 306);
}

/* Writes one group at pcText (width checked by the caller); false when the value holds no valid digits. */
[[gnu::always_inline]] static inline bool _ucoreWriteGroup(char *pcText, const ucoreFormat *pfmt, ucoreGroup group,
                                                          const unsigned char *pucValue, const zorucoreData *pcore)
{
  if (group == UCORE_G_DOY) {
    for (int i = 0; i < 4; i++)
      if (!_ucoreBcd(pucValue[i])) return false;
    int iDoy = _zorucore_GetQuantieme(pucValue);
    pcText[0] = static_cast<char>('0' + iDoy / 100);
    pcText[1] = static_cast<char>('0' + iDoy / 10 % 10);
    pcText[2] = static_cast<char>('0' + iDoy % 10);
    return true;
  }
  int iByte = _ucoreGroupByte(pfmt->value, group);
  int iBytes = group == UCORE_G_MICRO ? 3 : 1;
  for (int i = 0; i < iBytes; i++)
    if (!_ucoreBcd(pucValue[iByte + i])) return false;
  if (group == UCORE_G_HOUR12) {
    /* 00 is 12 AM (midnight), 12 is 12 PM (noon), 13 to 23 are 1 to 11 PM, 24 (the end of
       the day) is 12 AM again */
    int iHour = _ucoreBcdValue(pucValue[iByte]);
    char cLetter = iHour >= 12 && iHour < 24 ? 'P' : 'A';
    iHour %= 12;
    if (iHour == 0) iHour = 12;
    pcText[0] = static_cast<char>('0' + iHour / 10);
    pcText[1] = static_cast<char>('0' + iHour % 10);
    pcText[pcore->asPos[ZORUCORE_POS_SECOND] - pcore->asPos[ZORUCORE_POS_HOUR]] = cLetter;
    return true;
  }
  for (int i = 0; i < iBytes; i++) {
    pcText[2 * i] = static_cast<char>('0' + (pucValue[iByte + i] >> 4));
    pcText[2 * i + 1] = static_cast<char>('0' + (pucValue[iByte + i] & 0x0F));
  }
  return true;
}

/* The frame and text of every date, time and timestamp converter, inlined into each converter
   so that the compiler unrolls the format's groups. */
[[gnu::always_inline]] static inline int _ucoreDateTime(orow *prowSource, orow *prowTarget, const ucoreFormat *pfmt)
{
  zorucoreCol col;
  int iRc = _zorucoreColBegin(prowSource, prowTarget, &col);
  if (iRc != 0) return iRc;
  zorucoreData *pcore = col.pcore;
  int32_t ilSize = aiValueSize[pfmt->value];
  int iNd = _zorucoreNullDefault(pcore, prowSource, prowTarget, col.pcOut, col.pucData + col.pdefSrc->sOffset, ilSize);
  if (iNd == 1) return 0;
  if (iNd != 0) return iNd;
  const unsigned char *pucValue = _zorucoreValue(&col, col.pdefSrc->sOffset, ilSize);
  if (pucValue == nullptr) return ZORUCORE_RC_BADVALUE;

  int iLength = pfmt->iLength;
  if (pfmt->boTemplate || iLength == 0) {
    iLength = pcore->sTemplateLength;
    if (iLength <= 0 || (pfmt->boTemplate && pcore->pcTemplate == nullptr)) return ZORUCORE_RC_BADVALUE;
  }
  /* every group must lie inside the text */
  for (int i = 0; i < UCORE_MAX_GROUPS && pfmt->agroup[i].group != UCORE_G_END; i++) {
    ucoreGroup group = pfmt->agroup[i].group;
    int iPos = _ucoreGroupPos(pcore, group, pfmt->agroup[i].iPos);
    if (iPos < 0 || iPos + _ucoreGroupWidth(group) > iLength) return ZORUCORE_RC_BADVALUE;
    if (group == UCORE_G_HOUR12) {
      int iLetter = pcore->asPos[ZORUCORE_POS_SECOND];
      if (iLetter < 0 || iLetter >= iLength || iLetter - iPos < 2) return ZORUCORE_RC_BADVALUE;
    }
  }

  bool boDelim = pfmt->value != UCORE_V_DATE;
  int64_t ilDelims = (boDelim && (pcore->ulFlags & ZORUCORE_FLAG_DELIM)) ? 2 : 0;
  char *pcOut = col.pcOut;
  if (!_zorucoreRoom(prowTarget, pcOut, iLength + ilDelims)) return ZORUCORE_RC_NOROOM;
  if (boDelim) pcOut = _zorucorePrintDelim1C(pcore, pcOut);
  /* A format that takes its length from the template without copying it (DATE_J, L, N) writes
     every byte when the positions are its own; under any other positions the template fills the
     bytes between the groups, so that no byte of an earlier row is left in the text. */
  if (pfmt->boTemplate || (pfmt->iLength == 0 && pcore->pcTemplate != nullptr))
    std::memcpy(pcOut, pcore->pcTemplate, static_cast<size_t>(iLength));
  for (int i = 0; i < UCORE_MAX_GROUPS && pfmt->agroup[i].group != UCORE_G_END; i++) {
    ucoreGroup group = pfmt->agroup[i].group;
    int iPos = _ucoreGroupPos(pcore, group, pfmt->agroup[i].iPos);
    if (!_ucoreWriteGroup(pcOut + iPos, pfmt, group, pucValue, pcore)) return ZORUCORE_RC_BADVALUE;
  }
  pcOut += iLength;
  if (boDelim) pcOut = _zorucorePrintDelim1C(pcore, pcOut);
  return _zorucoreColEnd(prowSource, prowTarget, pcOut);
}

/* ------------------------------------------------------------------ formats */

#define G(group, pos) {UCORE_G_##group, pos}
#define END {UCORE_G_END, 0}

static const ucoreFormat fmtDateA = {UCORE_V_DATE, true, 0, {G(CENTURY, -1), G(YEAR, -1), G(MONTH, -1), G(DAY, -1), END}};
static const ucoreFormat fmtDateB = {UCORE_V_DATE, true, 0, {G(YEAR, -1), G(MONTH, -1), G(DAY, -1), END}};
static const ucoreFormat fmtDateG = {UCORE_V_DATE, true, 0, {G(CENTURY, -1), G(YEAR, -1), G(DOY, -1), END}};
static const ucoreFormat fmtDateH = {UCORE_V_DATE, true, 0, {G(YEAR, -1), G(DOY, -1), END}};
static const ucoreFormat fmtDateJ = {UCORE_V_DATE, false, 0, {G(YEAR, -1), G(MONTH, -1), G(DAY, -1), END}};
static const ucoreFormat fmtDateO = {UCORE_V_DATE, false, 7, {G(CENTURY, 0), G(YEAR, 2), G(DOY, 4), END}};
static const ucoreFormat fmtDateP = {UCORE_V_DATE, false, 5, {G(YEAR, 0), G(DOY, 2), END}};

static const ucoreFormat fmtTimeA = {UCORE_V_TIME, true, 0, {G(HOUR, -1), G(MINUTE, -1), G(SECOND, -1), END}};
static const ucoreFormat fmtTimeB = {UCORE_V_TIME, true, 0, {G(HOUR, -1), G(MINUTE, -1), END}};
static const ucoreFormat fmtTimeC = {UCORE_V_TIME, true, 0, {G(HOUR12, -1), G(MINUTE, -1), END}};
static const ucoreFormat fmtTimeD = {UCORE_V_TIME, false, 6, {G(HOUR, 0), G(MINUTE, 2), G(SECOND, 4), END}};
static const ucoreFormat fmtTimeE = {UCORE_V_TIME, false, 4, {G(HOUR, 0), G(MINUTE, 2), END}};

static const ucoreFormat fmtTsA = {UCORE_V_TIMESTAMP, true, 0,
                                   {G(CENTURY, -1), G(YEAR, -1), G(MONTH, -1), G(DAY, -1), G(HOUR, -1),
                                    G(MINUTE, -1), G(SECOND, -1), END}};
static const ucoreFormat fmtTsB = {UCORE_V_TIMESTAMP, true, 0,
                                   {G(CENTURY, -1), G(YEAR, -1), G(MONTH, -1), G(DAY, -1), G(HOUR, -1),
                                    G(MINUTE, -1), G(SECOND, -1), G(MICRO, -1)}};
static const ucoreFormat fmtTsC = {UCORE_V_TIMESTAMP, false, 14,
                                   {G(CENTURY, 0), G(YEAR, 2), G(MONTH, 4), G(DAY, 6), G(HOUR, 8), G(MINUTE, 10),
                                    G(SECOND, 12), END}};
static const ucoreFormat fmtTsD = {UCORE_V_TIMESTAMP, false, 12,
                                   {G(YEAR, 0), G(MONTH, 2), G(DAY, 4), G(HOUR, 6), G(MINUTE, 8), G(SECOND, 10), END}};
static const ucoreFormat fmtTsE = {UCORE_V_TIMESTAMP, false, 20,
                                   {G(CENTURY, 0), G(YEAR, 2), G(MONTH, 4), G(DAY, 6), G(HOUR, 8), G(MINUTE, 10),
                                    G(SECOND, 12), G(MICRO, 14)}};
static const ucoreFormat fmtTsF = {UCORE_V_TIMESTAMP, false, 18,
                                   {G(YEAR, 0), G(MONTH, 2), G(DAY, 4), G(HOUR, 6), G(MINUTE, 8), G(SECOND, 10),
                                    G(MICRO, 12), END}};

#undef G
#undef END

#define UCORE_DATETIME(name, fmt) \
  int name(orow *prowSource, orow *prowTarget) { return _ucoreDateTime(prowSource, prowTarget, &fmt); }

UCORE_DATETIME(_zorucore_DateA2Delimited, fmtDateA)
UCORE_DATETIME(_zorucore_DateAN2Delimited, fmtDateA)
UCORE_DATETIME(_zorucore_DateB2Delimited, fmtDateB)
UCORE_DATETIME(_zorucore_DateBN2Delimited, fmtDateB)
UCORE_DATETIME(_zorucore_DateG2Delimited, fmtDateG)
UCORE_DATETIME(_zorucore_DateGN2Delimited, fmtDateG)
UCORE_DATETIME(_zorucore_DateH2Delimited, fmtDateH)
UCORE_DATETIME(_zorucore_DateHN2Delimited, fmtDateH)
UCORE_DATETIME(_zorucore_Date2Delimited, fmtDateA)
UCORE_DATETIME(_zorucore_DateN2Delimited, fmtDateA)
UCORE_DATETIME(_zorucore_DateJ2Delimited, fmtDateJ)
UCORE_DATETIME(_zorucore_DateJN2Delimited, fmtDateJ)
UCORE_DATETIME(_zorucore_DateO2Delimited, fmtDateO)
UCORE_DATETIME(_zorucore_DateON2Delimited, fmtDateO)
UCORE_DATETIME(_zorucore_DateP2Delimited, fmtDateP)
UCORE_DATETIME(_zorucore_DatePN2Delimited, fmtDateP)

UCORE_DATETIME(_zorucore_Time2Delimited, fmtTimeA)
UCORE_DATETIME(_zorucore_TimeN2Delimited, fmtTimeA)
UCORE_DATETIME(_zorucore_TimeB2Delimited, fmtTimeB)
UCORE_DATETIME(_zorucore_TimeBN2Delimited, fmtTimeB)
UCORE_DATETIME(_zorucore_TimeC2Delimited, fmtTimeC)
UCORE_DATETIME(_zorucore_TimeCN2Delimited, fmtTimeC)
UCORE_DATETIME(_zorucore_TimeD2Delimited, fmtTimeD)
UCORE_DATETIME(_zorucore_TimeDN2Delimited, fmtTimeD)
UCORE_DATETIME(_zorucore_TimeE2Delimited, fmtTimeE)
UCORE_DATETIME(_zorucore_TimeEN2Delimited, fmtTimeE)

UCORE_DATETIME(_zorucore_TimestampA2Delimited, fmtTsA)
UCORE_DATETIME(_zorucore_TimestampAN2Delimited, fmtTsA)
UCORE_DATETIME(_zorucore_Timestamp2Delimited, fmtTsB)
UCORE_DATETIME(_zorucore_TimestampN2Delimited, fmtTsB)
UCORE_DATETIME(_zorucore_TimestampC2Delimited, fmtTsC)
UCORE_DATETIME(_zorucore_TimestampCN2Delimited, fmtTsC)
UCORE_DATETIME(_zorucore_TimestampD2Delimited, fmtTsD)
UCORE_DATETIME(_zorucore_TimestampDN2Delimited, fmtTsD)
UCORE_DATETIME(_zorucore_TimestampE2Delimited, fmtTsE)
UCORE_DATETIME(_zorucore_TimestampEN2Delimited, fmtTsE)
UCORE_DATETIME(_zorucore_TimestampF2Delimited, fmtTsF)
UCORE_DATETIME(_zorucore_TimestampFN2Delimited, fmtTsF)

/* ------------------------------------------------------------------ layouts */

/* The format each converter writes. */
static const struct {
  oconvertFunc       func;
  const ucoreFormat *pfmt;
} aucoreFormatOf[] = {
    {_zorucore_DateA2Delimited, &fmtDateA},         {_zorucore_DateAN2Delimited, &fmtDateA},
    {_zorucore_DateB2Delimited, &fmtDateB},         {_zorucore_DateBN2Delimited, &fmtDateB},
    {_zorucore_DateG2Delimited, &fmtDateG},         {_zorucore_DateGN2Delimited, &fmtDateG},
    {_zorucore_DateH2Delimited, &fmtDateH},         {_zorucore_DateHN2Delimited, &fmtDateH},
    {_zorucore_Date2Delimited, &fmtDateA},          {_zorucore_DateN2Delimited, &fmtDateA},
    {_zorucore_DateJ2Delimited, &fmtDateJ},         {_zorucore_DateJN2Delimited, &fmtDateJ},
    {_zorucore_DateO2Delimited, &fmtDateO},         {_zorucore_DateON2Delimited, &fmtDateO},
    {_zorucore_DateP2Delimited, &fmtDateP},         {_zorucore_DatePN2Delimited, &fmtDateP},
    {_zorucore_Time2Delimited, &fmtTimeA},          {_zorucore_TimeN2Delimited, &fmtTimeA},
    {_zorucore_TimeB2Delimited, &fmtTimeB},         {_zorucore_TimeBN2Delimited, &fmtTimeB},
    {_zorucore_TimeC2Delimited, &fmtTimeC},         {_zorucore_TimeCN2Delimited, &fmtTimeC},
    {_zorucore_TimeD2Delimited, &fmtTimeD},         {_zorucore_TimeDN2Delimited, &fmtTimeD},
    {_zorucore_TimeE2Delimited, &fmtTimeE},         {_zorucore_TimeEN2Delimited, &fmtTimeE},
    {_zorucore_TimestampA2Delimited, &fmtTsA},      {_zorucore_TimestampAN2Delimited, &fmtTsA},
    {_zorucore_Timestamp2Delimited, &fmtTsB},       {_zorucore_TimestampN2Delimited, &fmtTsB},
    {_zorucore_TimestampC2Delimited, &fmtTsC},      {_zorucore_TimestampCN2Delimited, &fmtTsC},
    {_zorucore_TimestampD2Delimited, &fmtTsD},      {_zorucore_TimestampDN2Delimited, &fmtTsD},
    {_zorucore_TimestampE2Delimited, &fmtTsE},      {_zorucore_TimestampEN2Delimited, &fmtTsE},
    {_zorucore_TimestampF2Delimited, &fmtTsF},      {_zorucore_TimestampFN2Delimited, &fmtTsF},
};

bool _zorucoreDateTimeLayout(oconvertFunc func, const zorucoreData *pcore, zorucoreDateLayout *playout)
{
  const ucoreFormat *pfmt = nullptr;
  for (const auto &entry : aucoreFormatOf)
    if (entry.func == func) pfmt = entry.pfmt;
  if (pfmt == nullptr || pcore == nullptr || playout == nullptr) return false;
  /* the checks of _ucoreDateTime, made once */
  int iLength = pfmt->iLength;
  if (pfmt->boTemplate || iLength == 0) {
    iLength = pcore->sTemplateLength;
    if (iLength <= 0 || (pfmt->boTemplate && pcore->pcTemplate == nullptr)) return false;
  }
  *playout = zorucoreDateLayout{};
  playout->iValueBytes = aiValueSize[pfmt->value];
  playout->boDelim = pfmt->value != UCORE_V_DATE;
  playout->boTemplate = pfmt->boTemplate;
  playout->iLength = iLength;
  uint64_t ulWritten = 0;   /* text bytes the groups write, when the text is short enough to tell */
  for (int i = 0; i < UCORE_MAX_GROUPS && pfmt->agroup[i].group != UCORE_G_END; i++) {
    ucoreGroup group = pfmt->agroup[i].group;
    if (group == UCORE_G_DOY || group == UCORE_G_HOUR12) return false;
    int iPos = _ucoreGroupPos(pcore, group, pfmt->agroup[i].iPos);
    int iWidth = _ucoreGroupWidth(group);
    if (iPos < 0 || iPos + iWidth > iLength) return false;
    playout->agroup[i] = {_ucoreGroupByte(pfmt->value, group), group == UCORE_G_MICRO ? 3 : 1, iPos};
    playout->iGroups = i + 1;
    if (iLength <= 64) ulWritten |= (iWidth >= 64 ? ~0ull : ((1ull << iWidth) - 1)) << iPos;
  }
  playout->boCovered = iLength <= 64 && ulWritten == (iLength == 64 ? ~0ull : (1ull << iLength) - 1);
  return true;
}
