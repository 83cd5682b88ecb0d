/*
** parm.cpp
**   The parameter library's members: the field variables with their
**   compiled-in defaults, the descriptor tables, the accessors and the
**   member link table; the field printer; the process-wide lexical settings
**   (see parm.h).
*/
#include "model/parm.h"

#include <cctype>
#include <cstring>

char     gwcLitteral  = '\'';
char     gwcQualified = '"';
char     gwcDecimal   = '.';
uint16_t gccsidSBCS   = 850;
uint16_t gccsidMixed  = 0;
uint16_t gccsidDBCS   = 0;
int32_t  gboMixed     = 0;

namespace {

/* Builds one descriptor row; the name is copied without its NUL. */
constexpr parmField _parmRow(const char *pcName, int32_t iType, int32_t iLength, int32_t iMember,
                             int32_t iItem)
{
  parmField field{};
  for (int i = 0; i < 8 && pcName[i] != '\0'; i++) field.acName[i] = pcName[i];
  field.ulZero = 0;
  field.iType = iType;
  field.iLength = iLength;
  field.iId = PARM_ID(iMember, iItem);
  return field;
}

constexpr parmField kparmEnd{};

FILE *gpfileParmTrace = nullptr;

/* ---- AUTTIME (member 0): nothing reads it; every default is zero. ---- */
struct {
  float   fReopgts, fReopgix, fSavpgts, fChgpgix;
  int32_t lNbpagdic, lPermesti;
  float   fLimdpart;
  int32_t lParapart;
  float   fCoefpara;
  int32_t lNbercstp, lNbsvestp, lNblpixwf, lWrunpri, lWrunsec, lMaxpart, lPagecart, lMinpgiic,
      lDepthmax, lTmaxipro, lNbextent, lSzextent, lSmallobj, lNberrbld;
  char    acAuvsclst[44], acAuvspat1[44], acAuvspat2[44];
  char    acDelayaol[8], acTimeb2an[6], acTimeb2tr[6], acValidtme[6], acCorrectm[6];
  int32_t lNbanalys;
  char    acReckeep[1];
  int32_t lMaxro;
  char    acDrain[7];
  int32_t lDelay, lRgmaxsze, lAvrgrec, lPsecqty;
  char    acFastswit[1];
  int32_t lDrainwai, lRetry, lRetrydel;
} gAuttime = {};

/* ---- OPTGEN (member 1) ---- */
struct {
  char acTranslat[1];
  char acScunmod[44];
} gOptgen = {};

/* ---- INFVSMIG (member 2) ---- */
struct {
  char acInfvsmig[6];
} gInfvsmig = {};

/* ---- OPTSORT (member 3); items 21, 23, 24 and 26 are served without a row. ---- */
struct {
  int32_t lCasram, lMaxsort, lLowmem, lSize, lWrkspace, lLimunit;
  char    acItem21[1];
  char    acItem23[8];
  int32_t lItem24, lItem26;
} gOptsort = {};

/* ---- OPTACMD (member 4) ---- */
struct {
  int32_t lWaitunit, lWaitqty, lWaitqtym;
} gOptacmd = {};

/* ---- OPTDB2 (member 5) ---- */
struct {
  char    acPlanobjt[8];
  int32_t lMaxpriqt, lMaxsecqt;
  char    acDsnexit[44];
  char    acVersion[3];
  char    acVcat[8];
  char    acQcat[5];
  char    acIddelim[1];
  char    acStrdelim[1];
  char    acDecimsep[1];
  char    acMixsite[1];
} gOptdb2 = {{}, 0, 0, {}, {'6', '1', '0'}, {}, {'O', 'F', 'F', ' ', ' '}, {'"'}, {'\''}, {'.'}, {}};

/* ---- OPTUNL (member 6) ---- */
struct {
  char        acUlsedb2[3];
  char        acUllock[3];
  char        acUlqsce[3];
  char        acUlnull[4];
  char        acUldate[1];
  char        acUltime[1];
  char        acUltmstp[2];
  char        acUlpic[7];
  int16_t     sUloptldtLength;
  const char *pcUloptldt;
  int16_t     sUloptldpLength;
  const char *pcUloptldp;
  char        acUldegree[3];
  int16_t     sNullpos;
  char        acUnlschem[1];
  int32_t     lUnlzlrc;
  char        acUnlddnr[8];
  char        acUlmask[4];
} gOptunl = {{},
             {'Y', 'E', 'S'},
             {'Y', 'E', 'S'},
             {'0', '0', 'F', 'F'},
             {'C'},
             {'A'},
             {'S', 'B'},
             {'-', 'L', 'E', 'A', 'D', '.', ' '},
             17,
             "NOTIFY YES LOG NO",
             10,
             "RESUME YES",
             {'A', 'N', 'Y'},
             0,
             {'A'},
             0,
             {},
             {'*', '.', '*', ' '}};

/* ---- OPTRGOL (member 7) ---- */
struct {
  char    acDsncatch[44];
  char    acDelayl[8], acDelaym[8], acDelays[8];
  char    acDsncom[44];
  char    acAutmajor[8];
  char    acAlcspace[3];
  char    acDsnsync[44];
  int32_t lMaxqtlog;
  char    acPconline[40];
} gOptrgol = {};

/* ---- OPTRGAR (member 8) ---- */
struct {
  int32_t lMaxtape, lIicsize;
} gOptrgar = {};

/* ---- OPTLOAD (member 9): items 19 and 20 are both named LDSERRLM. ---- */
struct {
  int32_t lNbpgextr, lLdserrlm19, lLdserrlm20;
} gOptload = {};

/* ---- OPTDB2I (member 10) ---- */
struct {
  char    acDecpde[1], acDecpgra[1], acDecpchar[8], acDecpdl[1], acDecpsdl[1], acDecpssid[4];
  char    acDecplang[8];
  char    acDecpdate[5];
  char    acDecpdlen[1];
  char    acDecptime[5];
  char    acDecptlen[1], acDecpar[1], acDecpdrul[1];
  int16_t sDecpsid, sDecpmid, sDecpgid;
  char    acDecpsql[1], acDecpdsd[1];
  int16_t sDecpasid, sDecpamid, sDecpagid;
  char    acDecpens[1], acDecpcmp[1], acDecplctp[50];
  int16_t sDecpusid, sDecpumid, sDecpugid;
  char    acDecpapsc[7];
} gOptdb2i = {{}, {}, {}, {}, {}, {}, {}, {'I', 'S', 'O', ' ', ' '}, {}, {'I', 'S', 'O', ' ', ' '},
              {}, {}, {}, 850, 0, 0, {}, {}, 850, 0, 0, {}, {}, {}, 850, 1208, 1200, {}};

}  // namespace

/* ---- descriptor tables ---- */

const parmField tParmCsectAuttime[] = {
    _parmRow("REOPGTS", PARM_FLOAT, 1, PARM_AUTTIME, 1),
    _parmRow("REOPGIX", PARM_FLOAT, 1, PARM_AUTTIME, 2),
    _parmRow("SAVPGTS", PARM_FLOAT, 1, PARM_AUTTIME, 3),
    _parmRow("CHGPGIX", PARM_FLOAT, 1, PARM_AUTTIME, 4),
    _parmRow("NBPAGDIC", PARM_LONG, 1, PARM_AUTTIME, 5),
    _parmRow("PERMESTI", PARM_LONG, 1, PARM_AUTTIME, 6),
    _parmRow("LIMDPART", PARM_FLOAT, 1, PARM_AUTTIME, 7),
    _parmRow("PARAPART", PARM_LONG, 1, PARM_AUTTIME, 8),
    _parmRow("COEFPARA", PARM_FLOAT, 1, PARM_AUTTIME, 9),
    _parmRow("NBERCSTP", PARM_LONG, 1, PARM_AUTTIME, 10),
    _parmRow("NBSVESTP", PARM_LONG, 1, PARM_AUTTIME, 11),
    _parmRow("NBLPIXWF", PARM_LONG, 1, PARM_AUTTIME, 12),
    _parmRow("WRUNPRI", PARM_LONG, 1, PARM_AUTTIME, 13),
    _parmRow("WRUNSEC", PARM_LONG, 1, PARM_AUTTIME, 14),
    _parmRow("MAXPART", PARM_LONG, 1, PARM_AUTTIME, 15),
    _parmRow("PAGECART", PARM_LONG, 1, PARM_AUTTIME, 16),
    _parmRow("MINPGIIC", PARM_LONG, 1, PARM_AUTTIME, 17),
    _parmRow("DEPTHMAX", PARM_LONG, 1, PARM_AUTTIME, 18),
    _parmRow("TMAXIPRO", PARM_LONG, 1, PARM_AUTTIME, 19),
    _parmRow("NBEXTENT", PARM_LONG, 1, PARM_AUTTIME, 20),
    _parmRow("SZEXTENT", PARM_LONG, 1, PARM_AUTTIME, 21),
    _parmRow("SMALLOBJ", PARM_LONG, 1, PARM_AUTTIME, 22),
    _parmRow("NBERRBLD", PARM_LONG, 1, PARM_AUTTIME, 26),
    _parmRow("AUVSCLST", PARM_TEXT, 44, PARM_AUTTIME, 27),
    _parmRow("AUVSPAT1", PARM_TEXT, 44, PARM_AUTTIME, 28),
    _parmRow("AUVSPAT2", PARM_TEXT, 44, PARM_AUTTIME, 29),
    _parmRow("DELAYAOL", PARM_TEXT6, 8, PARM_AUTTIME, 30),
    _parmRow("TIMEB2AN", PARM_TEXT6, 6, PARM_AUTTIME, 31),
    _parmRow("TIMEB2TR", PARM_TEXT6, 6, PARM_AUTTIME, 32),
    _parmRow("VALIDTME", PARM_TEXT6, 6, PARM_AUTTIME, 33),
    _parmRow("CORRECTM", PARM_TEXT6, 6, PARM_AUTTIME, 34),
    _parmRow("NBANALYS", PARM_LONG, 1, PARM_AUTTIME, 35),
    _parmRow("RECKEEP", PARM_TEXT, 1, PARM_AUTTIME, 38),
    _parmRow("MAXRO", PARM_LONG, 1, PARM_AUTTIME, 39),
    _parmRow("DRAIN", PARM_TEXT, 7, PARM_AUTTIME, 40),
    _parmRow("DELAY", PARM_LONG, 1, PARM_AUTTIME, 41),
    _parmRow("RGMAXSZE", PARM_LONG, 1, PARM_AUTTIME, 42),
    _parmRow("AVRGREC", PARM_LONG, 1, PARM_AUTTIME, 43),
    _parmRow("PSECQTY", PARM_LONG, 1, PARM_AUTTIME, 44),
    _parmRow("FASTSWIT", PARM_TEXT, 1, PARM_AUTTIME, 45),
    _parmRow("DRAINWAI", PARM_LONG, 1, PARM_AUTTIME, 46),
    _parmRow("RETRY", PARM_LONG, 1, PARM_AUTTIME, 47),
    _parmRow("RETRYDEL", PARM_LONG, 1, PARM_AUTTIME, 48),
    kparmEnd};

const parmField tParmCsectOptgen[] = {
    _parmRow("TRANSLAT", PARM_TEXT, 1, PARM_OPTGEN, 1),
    _parmRow("SCUNMOD", PARM_TEXT, 44, PARM_OPTGEN, 2),
    kparmEnd};

const parmField tParmCsectInfvsmig[] = {
    _parmRow("INFVSMIG", PARM_TEXT, 6, PARM_INFVSMIG, 1),
    kparmEnd};

const parmField tParmCsectOptsort[] = {
    _parmRow("CASRAM", PARM_LONG, 1, PARM_OPTSORT, 1),
    _parmRow("MAXSORT", PARM_LONG, 1, PARM_OPTSORT, 2),
    _parmRow("LOWMEM", PARM_LONG, 1, PARM_OPTSORT, 3),
    _parmRow("SIZE", PARM_LONG, 1, PARM_OPTSORT, 5),
    _parmRow("WRKSPACE", PARM_LONG, 1, PARM_OPTSORT, 12),
    _parmRow("LIMUNIT", PARM_LONG, 1, PARM_OPTSORT, 19),
    kparmEnd};

const parmField tParmCsectOptacmd[] = {
    _parmRow("WAITUNIT", PARM_LONG, 1, PARM_OPTACMD, 1),
    _parmRow("WAITQTY", PARM_LONG, 1, PARM_OPTACMD, 2),
    _parmRow("WAITQTYM", PARM_LONG, 1, PARM_OPTACMD, 3),
    kparmEnd};

const parmField tParmCsectOptdb2[] = {
    _parmRow("PLANOBJT", PARM_TEXT, 8, PARM_OPTDB2, 1),
    _parmRow("MAXPRIQT", PARM_LONG, 1, PARM_OPTDB2, 2),
    _parmRow("MAXSECQT", PARM_LONG, 1, PARM_OPTDB2, 3),
    _parmRow("DSNEXIT", PARM_TEXT, 44, PARM_OPTDB2, 4),
    _parmRow("VERSION", PARM_TEXT, 3, PARM_OPTDB2, 5),
    _parmRow("VCAT", PARM_TEXT, 8, PARM_OPTDB2, 6),
    _parmRow("QCAT", PARM_TEXT, 5, PARM_OPTDB2, 7),
    _parmRow("IDDELIM", PARM_TEXT, 1, PARM_OPTDB2, 8),
    _parmRow("STRDELIM", PARM_TEXT, 1, PARM_OPTDB2, 9),
    _parmRow("DECIMSEP", PARM_TEXT, 1, PARM_OPTDB2, 10),
    _parmRow("MIXSITE", PARM_TEXT, 1, PARM_OPTDB2, 11),
    kparmEnd};

const parmField tParmCsectOptunl[] = {
    _parmRow("ULSEDB2", PARM_TEXT, 3, PARM_OPTUNL, 1),
    _parmRow("ULLOCK", PARM_TEXT, 3, PARM_OPTUNL, 2),
    _parmRow("ULQSCE", PARM_TEXT, 3, PARM_OPTUNL, 3),
    _parmRow("ULNULL", PARM_TEXT, 4, PARM_OPTUNL, 4),
    _parmRow("ULDATE", PARM_TEXT, 1, PARM_OPTUNL, 5),
    _parmRow("ULTIME", PARM_TEXT, 1, PARM_OPTUNL, 6),
    _parmRow("ULTMSTP", PARM_TEXT, 2, PARM_OPTUNL, 7),
    _parmRow("ULPIC", PARM_TEXT, 7, PARM_OPTUNL, 8),
    _parmRow("ULOPTLDT", PARM_COUNTED, 1, PARM_OPTUNL, 9),
    _parmRow("ULOPTLDP", PARM_COUNTED, 1, PARM_OPTUNL, 11),
    _parmRow("ULDEGREE", PARM_TEXT, 3, PARM_OPTUNL, 13),
    _parmRow("NULLPOS", PARM_SHORT, 1, PARM_OPTUNL, 14),
    _parmRow("UNLSCHEM", PARM_TEXT, 1, PARM_OPTUNL, 16),
    _parmRow("UNLZLRC", PARM_LONG, 1, PARM_OPTUNL, 17),
    _parmRow("UNLDDNR", PARM_TEXT, 8, PARM_OPTUNL, 18),
    _parmRow("ULMASK", PARM_TEXT, 4, PARM_OPTUNL, 19),
    kparmEnd};

const parmField tParmCsectOptrgol[] = {
    _parmRow("DSNCATCH", PARM_TEXT, 44, PARM_OPTRGOL, 1),
    _parmRow("DELAYL", PARM_TEXT6, 8, PARM_OPTRGOL, 2),
    _parmRow("DELAYM", PARM_TEXT6, 8, PARM_OPTRGOL, 3),
    _parmRow("DELAYS", PARM_TEXT6, 8, PARM_OPTRGOL, 4),
    _parmRow("DSNCOM", PARM_TEXT, 44, PARM_OPTRGOL, 5),
    _parmRow("AUTMAJOR", PARM_TEXT, 8, PARM_OPTRGOL, 7),
    _parmRow("ALCSPACE", PARM_TEXT, 3, PARM_OPTRGOL, 9),
    _parmRow("DSNSYNC", PARM_TEXT, 44, PARM_OPTRGOL, 14),
    _parmRow("MAXQTLOG", PARM_LONG, 1, PARM_OPTRGOL, 15),
    _parmRow("PCONLINE", PARM_TEXT, 40, PARM_OPTRGOL, 16),
    kparmEnd};

const parmField tParmCsectOptrgar[] = {
    _parmRow("MAXTAPE", PARM_LONG, 1, PARM_OPTRGAR, 1),
    _parmRow("IICSIZE", PARM_LONG, 1, PARM_OPTRGAR, 2),
    kparmEnd};

const parmField tParmCsectOptload[] = {
    _parmRow("NBPGEXTR", PARM_LONG, 1, PARM_OPTLOAD, 18),
    _parmRow("LDSERRLM", PARM_LONG, 1, PARM_OPTLOAD, 19),
    _parmRow("LDSERRLM", PARM_LONG, 1, PARM_OPTLOAD, 20),
    kparmEnd};

const parmField tParmCsectOptdb2i[] = {
    _parmRow("DECPDE", PARM_TEXT, 1, PARM_OPTDB2I, 1),
    _parmRow("DECPGRA", PARM_TEXT, 1, PARM_OPTDB2I, 2),
    _parmRow("DECPCHAR", PARM_TEXT, 8, PARM_OPTDB2I, 3),
    _parmRow("DECPDL", PARM_TEXT, 1, PARM_OPTDB2I, 4),
    _parmRow("DECPSDL", PARM_TEXT, 1, PARM_OPTDB2I, 5),
    _parmRow("DECPSSID", PARM_TEXT, 4, PARM_OPTDB2I, 6),
    _parmRow("DECPLANG", PARM_TEXT, 8, PARM_OPTDB2I, 7),
    _parmRow("DECPDATE", PARM_TEXT, 5, PARM_OPTDB2I, 8),
    _parmRow("DECPDLEN", PARM_TEXT, 1, PARM_OPTDB2I, 9),
    _parmRow("DECPTIME", PARM_TEXT, 5, PARM_OPTDB2I, 10),
    _parmRow("DECPTLEN", PARM_TEXT, 1, PARM_OPTDB2I, 11),
    _parmRow("DECPAR", PARM_TEXT, 1, PARM_OPTDB2I, 12),
    _parmRow("DECPDRUL", PARM_TEXT, 1, PARM_OPTDB2I, 13),
    _parmRow("DECPSID", PARM_SHORT, 1, PARM_OPTDB2I, 14),
    _parmRow("DECPMID", PARM_SHORT, 1, PARM_OPTDB2I, 15),
    _parmRow("DECPGID", PARM_SHORT, 1, PARM_OPTDB2I, 16),
    _parmRow("DECPSQL", PARM_TEXT, 1, PARM_OPTDB2I, 17),
    _parmRow("DECPDSD", PARM_TEXT, 1, PARM_OPTDB2I, 18),
    _parmRow("DECPASID", PARM_SHORT, 1, PARM_OPTDB2I, 19),
    _parmRow("DECPAMID", PARM_SHORT, 1, PARM_OPTDB2I, 20),
    _parmRow("DECPAGID", PARM_SHORT, 1, PARM_OPTDB2I, 21),
    _parmRow("DECPENS", PARM_TEXT, 1, PARM_OPTDB2I, 22),
    _parmRow("DECPCMP", PARM_TEXT, 1, PARM_OPTDB2I, 23),
    _parmRow("DECPLCTP", PARM_TEXT, 50, PARM_OPTDB2I, 24),
    _parmRow("DECPUSID", PARM_SHORT, 1, PARM_OPTDB2I, 25),
    _parmRow("DECPUMID", PARM_SHORT, 1, PARM_OPTDB2I, 26),
    _parmRow("DECPUGID", PARM_SHORT, 1, PARM_OPTDB2I, 27),
    _parmRow("DECPAPSC", PARM_TEXT, 7, PARM_OPTDB2I, 28),
    kparmEnd};

/* ---- accessors ---- */

void *asmAuttime(const int32_t *piItem)
{
  if (piItem == nullptr) return nullptr;
  auto &m = gAuttime;
  switch (*piItem) {
    case 1: return &m.fReopgts;
    case 2: return &m.fReopgix;
    case 3: return &m.fSavpgts;
    case 4: return &m.fChgpgix;
    case 5: return &m.lNbpagdic;
    case 6: return &m.lPermesti;
    case 7: return &m.fLimdpart;
    case 8: return &m.lParapart;
    case 9: return &m.fCoefpara;
    case 10: return &m.lNbercstp;
    case 11: return &m.lNbsvestp;
    case 12: return &m.lNblpixwf;
    case 13: return &m.lWrunpri;
    case 14: return &m.lWrunsec;
    case 15: return &m.lMaxpart;
    case 16: return &m.lPagecart;
    case 17: return &m.lMinpgiic;
    case 18: return &m.lDepthmax;
    case 19: return &m.lTmaxipro;
    case 20: return &m.lNbextent;
    case 21: return &m.lSzextent;
    case 22: return &m.lSmallobj;
    case 26: return &m.lNberrbld;
    case 27: return m.acAuvsclst;
    case 28: return m.acAuvspat1;
    case 29: return m.acAuvspat2;
    case 30: return m.acDelayaol;
    case 31: return m.acTimeb2an;
    case 32: return m.acTimeb2tr;
    case 33: return m.acValidtme;
    case 34: return m.acCorrectm;
    case 35: return &m.lNbanalys;
    case 38: return m.acReckeep;
    case 39: return &m.lMaxro;
    case 40: return m.acDrain;
    case 41: return &m.lDelay;
    case 42: return &m.lRgmaxsze;
    case 43: return &m.lAvrgrec;
    case 44: return &m.lPsecqty;
    case 45: return m.acFastswit;
    case 46: return &m.lDrainwai;
    case 47: return &m.lRetry;
    case 48: return &m.lRetrydel;
    default: return nullptr;
  }
}

void *asmOptgen(const int32_t *piItem)
{
  if (piItem == nullptr) return nullptr;
  switch (*piItem) {
    case 1: return gOptgen.acTranslat;
    case 2: return gOptgen.acScunmod;
    default: return nullptr;
  }
}

void *asmInfvsmig(const int32_t *piItem)
{
  if (piItem == nullptr) return nullptr;
  return *piItem == 1 ? gInfvsmig.acInfvsmig : nullptr;
}

void *asmOptsort(const int32_t *piItem)
{
  if (piItem == nullptr) return nullptr;
  auto &m = gOptsort;
  switch (*piItem) {
    case 1: return &m.lCasram;
    case 2: return &m.lMaxsort;
    case 3: return &m.lLowmem;
    case 5: return &m.lSize;
    case 12: return &m.lWrkspace;
    case 19: return &m.lLimunit;
    case 21: return m.acItem21;
    case 23: return m.acItem23;
    case 24: return &m.lItem24;
    case 26: return &m.lItem26;
    default: return nullptr;
  }
}

void *asmOptacmd(const int32_t *piItem)
{
  if (piItem == nullptr) return nullptr;
  switch (*piItem) {
    case 1: return &gOptacmd.lWaitunit;
    case 2: return &gOptacmd.lWaitqty;
    case 3: return &gOptacmd.lWaitqtym;
    default: return nullptr;
  }
}

void *asmOptdb2(const int32_t *piItem)
{
  if (piItem == nullptr) return nullptr;
  auto &m = gOptdb2;
  switch (*piItem) {
    case 1: return m.acPlanobjt;
    case 2: return &m.lMaxpriqt;
    case 3: return &m.lMaxsecqt;
    case 4: return m.acDsnexit;
    case 5: return m.acVersion;
    case 6: return m.acVcat;
    case 7: return m.acQcat;
    case 8: return m.acIddelim;
    case 9: return m.acStrdelim;
    case 10: return m.acDecimsep;
    case 11: return m.acMixsite;
    default: return nullptr;
  }
}

void *asmOptunl(const int32_t *piItem)
{
  if (piItem == nullptr) return nullptr;
  auto &m = gOptunl;
  switch (*piItem) {
    case 1: return m.acUlsedb2;
    case 2: return m.acUllock;
    case 3: return m.acUlqsce;
    case 4: return m.acUlnull;
    case 5: return m.acUldate;
    case 6: return m.acUltime;
    case 7: return m.acUltmstp;
    case 8: return m.acUlpic;
    case 9: return &m.sUloptldtLength;
    case 10: return &m.pcUloptldt;
    case 11: return &m.sUloptldpLength;
    case 12: return &m.pcUloptldp;
    case 13: return m.acUldegree;
    case 14: return &m.sNullpos;
    case 16: return m.acUnlschem;
    case 17: return &m.lUnlzlrc;
    case 18: return m.acUnlddnr;
    case 19: return m.acUlmask;
    default: return nullptr;
  }
}

void *asmOptrgol(const int32_t *piItem)
{
  if (piItem == nullptr) return nullptr;
  auto &m = gOptrgol;
  switch (*piItem) {
    case 1: return m.acDsncatch;
    case 2: return m.acDelayl;
    case 3: return m.acDelaym;
    case 4: return m.acDelays;
    case 5: return m.acDsncom;
    case 7: return m.acAutmajor;
    case 9: return m.acAlcspace;
    case 14: return m.acDsnsync;
    case 15: return &m.lMaxqtlog;
    case 16: return m.acPconline;
    default: return nullptr;
  }
}

void *asmOptrgar(const int32_t *piItem)
{
  if (piItem == nullptr) return nullptr;
  switch (*piItem) {
    case 1: return &gOptrgar.lMaxtape;
    case 2: return &gOptrgar.lIicsize;
    default: return nullptr;
  }
}

void *asmOptload(const int32_t *piItem)
{
  if (piItem == nullptr) return nullptr;
  switch (*piItem) {
    case 18: return &gOptload.lNbpgextr;
    case 19: return &gOptload.lLdserrlm19;
    case 20: return &gOptload.lLdserrlm20;
    default: return nullptr;
  }
}

void *asmOptdb2i(const int32_t *piItem)
{
  if (piItem == nullptr) return nullptr;
  auto &m = gOptdb2i;
  switch (*piItem) {
    case 1: return m.acDecpde;
    case 2: return m.acDecpgra;
    case 3: return m.acDecpchar;
    case 4: return m.acDecpdl;
    case 5: return m.acDecpsdl;
    case 6: return m.acDecpssid;
    case 7: return m.acDecplang;
    case 8: return m.acDecpdate;
    case 9: return m.acDecpdlen;
    case 10: return m.acDecptime;
    case 11: return m.acDecptlen;
    case 12: return m.acDecpar;
    case 13: return m.acDecpdrul;
    case 14: return &m.sDecpsid;
    case 15: return &m.sDecpmid;
    case 16: return &m.sDecpgid;
    case 17: return m.acDecpsql;
    case 18: return m.acDecpdsd;
    case 19: return &m.sDecpasid;
    case 20: return &m.sDecpamid;
    case 21: return &m.sDecpagid;
    case 22: return m.acDecpens;
    case 23: return m.acDecpcmp;
    case 24: return m.acDecplctp;
    case 25: return &m.sDecpusid;
    case 26: return &m.sDecpumid;
    case 27: return &m.sDecpugid;
    case 28: return m.acDecpapsc;
    default: return nullptr;
  }
}

const parmLink Gaparmlink[PARM_MEMBERS + 1] = {
    {{'A', 'U', 'T', 'T', 'I', 'M', 'E', ' '}, asmAuttime},
    {{'O', 'P', 'T', 'G', 'E', 'N', ' ', ' '}, asmOptgen},
    {{'I', 'N', 'F', 'V', 'S', 'M', 'I', 'G'}, asmInfvsmig},
    {{'O', 'P', 'T', 'S', 'O', 'R', 'T', ' '}, asmOptsort},
    {{'O', 'P', 'T', 'A', 'C', 'M', 'D', ' '}, asmOptacmd},
    {{'O', 'P', 'T', 'D', 'B', '2', ' ', ' '}, asmOptdb2},
    {{'O', 'P', 'T', 'U', 'N', 'L', ' ', ' '}, asmOptunl},
    {{'O', 'P', 'T', 'R', 'G', 'O', 'L', ' '}, asmOptrgol},
    {{'O', 'P', 'T', 'R', 'G', 'A', 'R', ' '}, asmOptrgar},
    {{'O', 'P', 'T', 'L', 'O', 'A', 'D', ' '}, asmOptload},
    {{'O', 'P', 'T', 'D', 'B', '2', 'I', ' '}, asmOptdb2i},
    {{}, nullptr}};

/* ---- services ---- */

void *parmGetWithControl(int32_t iParmId, int32_t iCode)
{
  (void)iCode;
  uint32_t ulMember = (uint32_t)iParmId >> 16;
  if (ulMember >= PARM_MEMBERS) return nullptr;
  int32_t iItem = iParmId & 0xFFFF;
  return Gaparmlink[ulMember].procAccessor(&iItem);
}

void parmPrint(FILE *pfile, int32_t iLength, int32_t iType, const char *pcName, const void *pValue)
{
  if (pfile == nullptr || pValue == nullptr) return;
  if (pcName == nullptr) pcName = "";
  switch (iType) {
    case PARM_TEXT:
    case PARM_TEXT5:
    case PARM_TEXT6:
      if (iType == PARM_TEXT && iLength == 1) {
        unsigned char uc = *(const unsigned char *)pValue;
        if (std::isprint(uc))
          std::fprintf(pfile, "%s = %c\n", pcName, uc);
        else
          std::fprintf(pfile, "%s = x'%.2x'\n", pcName, uc);
      } else {
        std::fprintf(pfile, "%s = %.*s\n", pcName, (int)iLength, (const char *)pValue);
      }
      break;
    case PARM_LONG: {
      int32_t l;
      std::memcpy(&l, pValue, sizeof l);
      std::fprintf(pfile, "%s = %d\n", pcName, (int)l);
      break;
    }
    case PARM_SHORT: {
      int16_t s;
      std::memcpy(&s, pValue, sizeof s);
      std::fprintf(pfile, "%s = %hd\n", pcName, s);
      break;
    }
    case PARM_FLOAT: {
      float f;
      std::memcpy(&f, pValue, sizeof f);
      std::fprintf(pfile, "%s = %f\n", pcName, (double)f);
      break;
    }
    case PARM_COUNTED: {
      const parmCounted *pcounted = (const parmCounted *)pValue;
      if (pcounted->sLength > 0 && pcounted->pcText != nullptr)
        std::fprintf(pfile, "%.8s = %d \n\t  %.*s\n", pcName, (int)pcounted->sLength,
                     (int)pcounted->sLength, pcounted->pcText);
      else
        std::fprintf(pfile, "%.8s = %d \n ", pcName, (int)pcounted->sLength);
      break;
    }
    default:
      break;
  }
}

void parmCsectTrace(FILE *pfile, const parmField *ptable)
{
  if (pfile == nullptr || ptable == nullptr) return;
  std::fputc('\n', pfile);
  for (const parmField *prow = ptable; prow->acName[0] != '\0' || prow->iId != 0; prow++) {
    char acName[9];
    std::memcpy(acName, prow->acName, 8);
    acName[8] = '\0';
    void *pValue = parmGetWithControl(prow->iId, 0);
    if (pValue == nullptr) continue;
    if (prow->iType == PARM_COUNTED) {
      parmCounted counted{};
      std::memcpy(&counted.sLength, pValue, sizeof counted.sLength);
      void *pText = parmGetWithControl(prow->iId + 1, 0);
      if (pText != nullptr) std::memcpy(&counted.pcText, pText, sizeof counted.pcText);
      parmPrint(pfile, prow->iLength, prow->iType, acName, &counted);
    } else {
      parmPrint(pfile, prow->iLength, prow->iType, acName, pValue);
    }
  }
  std::fputc('\n', pfile);
}

void parmSetFileTrace(FILE *pfile)
{
  gpfileParmTrace = pfile;
}
