/*
** ochar.cpp
**   String objects that carry their code page (CCSID): creation, appending,
**   copying into caller areas, comparison and editing, the CCSID classes, the
**   37/850 translation tables, conversion in place (other pairs through
**   common/ocnvft), the per-CCSID letter cache and the hex dumps.  The
**   contract of every function is in ochar.h.
*/
#include "common/ochar.h"

#include <algorithm>
#include <string>

#include "common/ocnvft.h"
#include "common/odict.h"
#include "common/omsgs.h"

/*
** 850 -> 37 and its inverse.  These are the system's own tables: they differ
** from the published mappings of the two code pages in many positions, and
** stored files rely on them, so they are not derived from a converter.
*/
const unsigned char ocharTransASCII_EBCDIC[256] = {
  0x00, 0x01, 0x02, 0x03, 0x37, 0x2D, 0x2E, 0x2F, 0x16, 0x05, 0x25, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F,
  0x10, 0x11, 0x12, 0x13, 0x3C, 0x3D, 0x32, 0x26, 0x18, 0x19, 0x3F, 0x27, 0x1C, 0x1D, 0x1E, 0x1F,
  0x40, 0x5A, 0x7F, 0x7B, 0x5B, 0x6C, 0x50, 0x7D, 0x4D, 0x5D, 0x5C, 0x4E, 0x6B, 0x60, 0x4B, 0x61,
  0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0x7A, 0x5E, 0x4C, 0x7E, 0x6E, 0x6F,
  0x7C, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6,
  0xD7, 0xD8, 0xD9, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, 0x4A, 0xE0, 0x4F, 0x5F, 0x6D,
  0x79, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x91, 0x92, 0x93, 0x94, 0x95, 0x96,
  0x97, 0x98, 0x99, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xC0, 0x6A, 0xD0, 0xA1, 0x07,
  0x20, 0x21, 0x22, 0x23, 0x24, 0x15, 0x06, 0x17, 0x28, 0x29, 0x2A, 0x2B, 0x2C, 0x09, 0x0A, 0x1B,
  0x30, 0x31, 0x1A, 0x33, 0x34, 0x35, 0x36, 0x08, 0x38, 0x39, 0x3A, 0x3B, 0x04, 0x14, 0x3E, 0xE1,
  0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57,
  0x58, 0x59, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x70, 0x71, 0x72, 0x73, 0x74, 0x75,
  0x76, 0x77, 0x78, 0x80, 0x8A, 0x8B, 0x8C, 0x8D, 0x8E, 0x8F, 0x90, 0x9A, 0x9B, 0x9C, 0x9D, 0x9E,
  0x9F, 0xA0, 0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF, 0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6, 0xB7,
  0xB8, 0xB9, 0xBA, 0xBB, 0xBC, 0xBD, 0xBE, 0xBF, 0xCA, 0xCB, 0xCC, 0xCD, 0xCE, 0xCF, 0xDA, 0xDB,
  0xDC, 0xDD, 0xDE, 0xDF, 0xEA, 0xEB, 0xEC, 0xED, 0xEE, 0xEF, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF,
};

const unsigned char ocharTransEBCDIC_ASCII[256] = {
  0x00, 0x01, 0x02, 0x03, 0x9C, 0x09, 0x86, 0x7F, 0x97, 0x8D, 0x8E, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F,
  0x10, 0x11, 0x12, 0x13, 0x9D, 0x85, 0x08, 0x87, 0x18, 0x19, 0x92, 0x8F, 0x1C, 0x1D, 0x1E, 0x1F,
  0x80, 0x81, 0x82, 0x83, 0x84, 0x0A, 0x17, 0x1B, 0x88, 0x89, 0x8A, 0x8B, 0x8C, 0x05, 0x06, 0x07,
  0x90, 0x91, 0x16, 0x93, 0x94, 0x95, 0x96, 0x04, 0x98, 0x99, 0x9A, 0x9B, 0x14, 0x15, 0x9E, 0x1A,
  0x20, 0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0x5B, 0x2E, 0x3C, 0x28, 0x2B, 0x5D,
  0x26, 0xA9, 0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF, 0xB0, 0xB1, 0x21, 0x24, 0x2A, 0x29, 0x3B, 0x5E,
  0x2D, 0x2F, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6, 0xB7, 0xB8, 0xB9, 0x7C, 0x2C, 0x25, 0x5F, 0x3E, 0x3F,
  0xBA, 0xBB, 0xBC, 0xBD, 0xBE, 0xBF, 0xC0, 0xC1, 0xC2, 0x60, 0x3A, 0x23, 0x40, 0x27, 0x3D, 0x22,
  0xC3, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9,
  0xCA, 0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x6F, 0x70, 0x71, 0x72, 0xCB, 0xCC, 0xCD, 0xCE, 0xCF, 0xD0,
  0xD1, 0x7E, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7A, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7,
  0xD8, 0xD9, 0xDA, 0xDB, 0xDC, 0xDD, 0xDE, 0xDF, 0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7,
  0x7B, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0xE8, 0xE9, 0xEA, 0xEB, 0xEC, 0xED,
  0x7D, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F, 0x50, 0x51, 0x52, 0xEE, 0xEF, 0xF0, 0xF1, 0xF2, 0xF3,
  0x5C, 0x9F, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9,
  0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF,
};

namespace {

struct ocharRange {
  uint16_t usLow, usHigh;
};

/* CCSID classes: sorted ranges of single-byte, double-byte and mixed CCSIDs. */
const ocharRange gaccsidSBCS[] = {
    {37, 37}, {256, 256}, {259, 259}, {273, 273}, {275, 275}, {277, 278}, {280, 280},
    {282, 282}, {284, 286}, {290, 290}, {293, 293}, {297, 297}, {367, 367}, {420, 421},
    {423, 424}, {437, 437}, {500, 500}, {803, 803}, {813, 813}, {819, 819}, {833, 833},
    {836, 836}, {838, 838}, {850, 853}, {855, 858}, {860, 866}, {868, 871}, {874, 875},
    {880, 880}, {891, 891}, {895, 897}, {899, 899}, {903, 905}, {912, 912}, {915, 916},
    {918, 918}, {920, 922}, {1004, 1004}, {1006, 1006}, {1008, 1021}, {1023, 1023},
    {1025, 1027}, {1040, 1043}, {1046, 1047}, {1051, 1051}, {1088, 1089}, {1097, 1098},
    {1100, 1107}, {1112, 1112}, {1114, 1115}, {1122, 1124}, {1140, 1149}, {1250, 1257},
    {1275, 1277}, {1279, 1283}, {4133, 4133}, {4369, 4374}, {4376, 4376}, {4378, 4378},
    {4380, 4381}, {4386, 4386}, {4393, 4393}, {4516, 4516}, {4519, 4520}, {4533, 4533},
    {4596, 4596}, {4929, 4929}, {4932, 4932}, {4934, 4934}, {4946, 4949}, {4951, 4953},
    {4960, 4960}, {4964, 4967}, {4970, 4970}, {4976, 4976}, {4992, 4993}, {5014, 5014},
    {5100, 5100}, {5137, 5137}, {5142, 5143}, {5211, 5211}, {5346, 5351}, {8229, 8229},
    {8448, 8448}, {8476, 8476}, {8489, 8489}, {8612, 8612}, {8629, 8629}, {8692, 8692},
    {9025, 9025}, {9028, 9028}, {9030, 9030}, {9047, 9047}, {9056, 9056}, {9060, 9060},
    {9066, 9066}, {9089, 9089}, {12325, 12325}, {12544, 12544}, {12725, 12725}, {12788, 12788},
    {13152, 13152}, {16421, 16421}, {16821, 16821}, {16884, 16884}, {20517, 20517},
    {20917, 20917}, {20980, 20980}, {24613, 24613}, {25013, 25013}, {25076, 25076},
    {25426, 25429}, {25431, 25433}, {25436, 25442}, {25444, 25445}, {25450, 25450},
    {25467, 25467}, {25473, 25473}, {25479, 25480}, {25580, 25580}, {25616, 25619},
    {25664, 25664}, {25690, 25691}, {28709, 28709}, {29109, 29109}, {29172, 29172},
    {29522, 29525}, {29527, 29529}, {29532, 29537}, {29540, 29541}, {29546, 29546},
    {29712, 29715}, {29760, 29760}, {32805, 32805}, {33058, 33058}, {33205, 33205},
    {33268, 33268}, {33618, 33621}, {33623, 33624}, {33632, 33632}, {33636, 33637},
    {33665, 33665}, {37301, 37301}, {37364, 37364}, {37719, 37719}, {37728, 37728},
    {37732, 37732}, {37761, 37761}, {41397, 41397}, {41460, 41460}, {41824, 41824},
    {41828, 41828}, {45493, 45493}, {45556, 45556}, {45920, 45920}, {49589, 49589},
    {49652, 49652}, {53748, 53748}, {61696, 61700}, {61710, 61712}, {65535, 65535},
};
const ocharRange gaccsidDBCS[] = {
    {300, 301}, {834, 835}, {837, 837}, {839, 839}, {926, 929}, {941, 941}, {947, 947},
    {951, 951}, {1200, 1200}, {1202, 1202}, {1380, 1380}, {4396, 4397}, {4931, 4931},
    {5023, 5023}, {5043, 5043}, {5047, 5047}, {5476, 5476}, {8492, 8493}, {9026, 9026},
    {9139, 9139}, {9572, 9572}, {12588, 12588}, {13235, 13235}, {13488, 13488}, {17331, 17331},
    {24877, 24877}, {25502, 25505}, {25527, 25527}, {29623, 29623},
};
const ocharRange gaccsidMixed[] = {
    {930, 939}, {942, 944}, {946, 946}, {948, 950}, {952, 961}, {963, 965}, {970, 971},
    {1208, 1208}, {1350, 1350}, {1381, 1383}, {5026, 5026}, {5028, 5029}, {5031, 5031},
    {5033, 5033}, {5035, 5035}, {5038, 5038}, {5045, 5046}, {5048, 5050}, {5052, 5055},
    {5057, 5057}, {5060, 5060}, {5066, 5067}, {5477, 5479}, {9122, 9122}, {9124, 9125},
    {9127, 9127}, {9131, 9131}, {9142, 9142}, {9145, 9146}, {9575, 9575}, {13218, 13219},
    {13221, 13221}, {13223, 13223}, {13231, 13231}, {13238, 13238}, {13242, 13242},
    {17314, 17314}, {17354, 17354}, {21450, 21450}, {25508, 25508}, {25510, 25510},
    {25512, 25512}, {25514, 25514}, {25518, 25518}, {25520, 25520}, {25522, 25522},
    {25524, 25525}, {29614, 29614}, {29616, 29616}, {29618, 29618}, {29620, 29621},
    {33698, 33700}, {33717, 33717}, {33722, 33722}, {37796, 37796}, {37813, 37813},
};

/* True when usCCSID lies in one of the ranges of the table. */
template <size_t N>
bool _charInRanges(const ocharRange (&aRanges)[N], uint16_t usCCSID)
{
  const ocharRange *p = std::upper_bound(
      aRanges, aRanges + N, usCCSID,
      [](uint16_t us, const ocharRange &r) { return us < r.usLow; });
  return p != aRanges && usCCSID <= (p - 1)->usHigh;
}

/* Class flags for an object made for usCCSID; 850 also gets OCHAR_850. */
uint16_t _charClassFlags(uint16_t usCCSID)
{
  uint16_t us = static_cast<uint16_t>(ocharDetermineBCS(usCCSID) | ocharDetermineClass(usCCSID));
  if (usCCSID == OCHAR_CCSID_ASCII) us |= OCHAR_850;
  return us;
}

bool _charIsDBCS(const ochar *pchar) { return (pchar->usFlags & OCHAR_DBCS) != 0; }

/* Native-order 16-bit store and load in unaligned memory. */
void _charPut16(void *p, uint16_t us) { std::memcpy(p, &us, sizeof us); }
uint16_t _charGet16(const void *p)
{
  uint16_t us;
  std::memcpy(&us, p, sizeof us);
  return us;
}

/* The byte as a signed byte widened to 16 bits. */
uint16_t _charWiden(unsigned char uc)
{
  return static_cast<uint16_t>(static_cast<int16_t>(static_cast<signed char>(uc)));
}

int _charHexValue(char c)
{
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return 0;
}

/* The translation table of a CCSID pair; *pboSame for 37->37 and 850->850. */
const unsigned char *_charTable(uint16_t usSource, uint16_t usTarget, bool *pboSame)
{
  *pboSame = false;
  if (usSource == OCHAR_CCSID_EBCDIC && usTarget == OCHAR_CCSID_ASCII) return ocharTransEBCDIC_ASCII;
  if (usSource == OCHAR_CCSID_ASCII && usTarget == OCHAR_CCSID_EBCDIC) return ocharTransASCII_EBCDIC;
  if (usSource == usTarget && (usSource == OCHAR_CCSID_EBCDIC || usSource == OCHAR_CCSID_ASCII))
    *pboSame = true;
  return nullptr;
}

void _charTranslateBytes(const unsigned char *pTable, const void *pIn, int32_t ilLength, void *pOut)
{
  if (ilLength <= 0) return;
  if (pTable == nullptr) {
    std::memmove(pOut, pIn, static_cast<size_t>(ilLength));
    return;
  }
  const unsigned char *pucIn = static_cast<const unsigned char *>(pIn);
  unsigned char *pucOut = static_cast<unsigned char *>(pOut);
  for (int32_t i = 0; i < ilLength; i++) pucOut[i] = pTable[pucIn[i]];
}

/* Header line of a dump, with its newline. */
std::string _charHeader(const ochar *pchar)
{
  char ac[96];
  std::snprintf(ac, sizeof ac, "OCHAR- CCSID:%x BU %i BT %i L %i - ", pchar->usCCSID, pchar->ilBU,
                pchar->ilBT, pchar->ilL);
  std::string s(ac);
  if (pchar->usFlags & OCHAR_REAL) s += "Real ";
  if (pchar->usFlags & OCHAR_VARCHAR) s += "Varchar ";
  if (pchar->usFlags & OCHAR_SBCS) s += "SBCS ";
  else if (pchar->usFlags & OCHAR_DBCS) s += "DBCS ";
  else if (pchar->usFlags & OCHAR_MIXED) s += "VBCS ";
  else if (pchar->usFlags & OCHAR_OTHER) s += "FBD ";
  else s += "???? ";
  s += "\n";
  return s;
}

/*
** Hex dump lines, without newline: the address right-aligned in eight
** columns, " : ", up to 16 bytes as "%2.2X ", three blanks per missing byte
** of a short last line, then the bytes as characters (below 0x20 as ".").
*/
template <typename Sink>
void _charDumpLines(const void *pBytes, uintptr_t ulBase, int32_t ilLength, Sink sink)
{
  const unsigned char *puc = static_cast<const unsigned char *>(pBytes);
  for (int32_t ilOff = 0; ilOff < ilLength; ilOff += 16) {
    char acAddr[32];
    uintptr_t ul = ulBase + static_cast<uintptr_t>(ilOff);
    if (ul == 0) std::snprintf(acAddr, sizeof acAddr, "0x00");
    else std::snprintf(acAddr, sizeof acAddr, "0x%lx", static_cast<unsigned long>(ul));
    char acLine[128];
    int n = std::snprintf(acLine, sizeof acLine, "%8s : ", acAddr);
    int32_t ilCount = std::min<int32_t>(16, ilLength - ilOff);
    for (int32_t i = 0; i < 16; i++) {
      if (i < ilCount) n += std::snprintf(acLine + n, sizeof acLine - n, "%2.2X ", puc[ilOff + i]);
      else n += std::snprintf(acLine + n, sizeof acLine - n, "   ");
    }
    for (int32_t i = 0; i < ilCount; i++) {
      unsigned char uc = puc[ilOff + i];
      acLine[n++] = uc < 0x20 ? '.' : static_cast<char>(uc);
    }
    acLine[n] = '\0';
    sink(std::string(acLine, static_cast<size_t>(n)));
  }
}

FILE *_charFile(FILE **ppfile)
{
  if (ppfile == nullptr || *ppfile == nullptr) return stdout;
  return *ppfile;
}

}  // namespace

odict *gpdictLetter = nullptr;

/* ------------------------------------------------------------------ creation */

int ocharInit(ochar *pchar, int32_t ilCapacity, uint16_t usCCSID)
{
  if (pchar == nullptr) return ORC_INVALID;
  char *pc = nullptr;
  if (ilCapacity > 0) {
    pc = static_cast<char *>(std::calloc(static_cast<size_t>(ilCapacity), 1));
    if (pc == nullptr) return ORC_NOMEM;
  }
  if (usCCSID == 0) usCCSID = OCHAR_CCSID_ASCII;
  std::memset(pchar, 0, sizeof *pchar);
  pchar->pcData = pc;
  pchar->ilBT = pc != nullptr ? ilCapacity : 0;
  pchar->usCCSID = usCCSID;
  pchar->usFlags = _charClassFlags(usCCSID);
  if (pc != nullptr) pchar->usFlags |= OCHAR_OWNED;
  return 0;
}

ochar *ocharCreateVarchar(int32_t ilCapacity, uint16_t usCCSID, uint16_t usFlags)
{
  ochar *pchar = static_cast<ochar *>(std::calloc(1, sizeof(ochar)));
  if (pchar == nullptr) return nullptr;
  if (usCCSID == 0) usCCSID = OCHAR_CCSID_ASCII;
  if (ilCapacity > 0) {
    pchar->pcData = static_cast<char *>(std::calloc(static_cast<size_t>(ilCapacity) + 2, 1));
    if (pchar->pcData == nullptr) {
      std::free(pchar);
      return nullptr;
    }
    pchar->ilBT = ilCapacity;
  }
  pchar->usCCSID = usCCSID;
  pchar->usFlags = static_cast<uint16_t>(OCHAR_VARCHAR | (usFlags & OCHAR_REAL) | _charClassFlags(usCCSID));
  if (pchar->pcData != nullptr) pchar->usFlags |= OCHAR_OWNED;
  return pchar;
}

int ocharInitFromFixed(ochar *pchar, const void *pBytes, int32_t ilLength, uint16_t usCCSID)
{
  if (pchar == nullptr || ilLength < 0) return ORC_INVALID;
  char *pc = nullptr;
  if (ilLength > 0) {
    pc = static_cast<char *>(std::malloc(static_cast<size_t>(ilLength) + 1));
    if (pc == nullptr) return ORC_NOMEM;
    std::memcpy(pc, pBytes, static_cast<size_t>(ilLength));
    pc[ilLength] = '\0';
  }
  std::memset(pchar, 0, sizeof *pchar);
  pchar->pcData = pc;
  pchar->usCCSID = usCCSID;
  pchar->usFlags = _charClassFlags(usCCSID);
  if (pc == nullptr) return 0;
  pchar->usFlags |= OCHAR_OWNED;
  pchar->ilBU = pchar->ilBT = ilLength;
  pchar->ilL = _charIsDBCS(pchar) ? ilLength / 2 : ilLength;
  return 0;
}

int ocharInitFromVarchar(ochar *pchar, const void *pArea, uint16_t usCCSID, uint16_t usFlags)
{
  if (pchar == nullptr || pArea == nullptr) return ORC_INVALID;
  int32_t ilN = _charGet16(pArea);
  bool boDBCS = ocharDetermineBCS(usCCSID) == OCHAR_DBCS;
  int32_t ilBT = boDBCS ? 2 * ilN : ilN;
  int32_t ilBU = boDBCS && (usFlags & OCHAR_REAL) ? 2 * ilN : ilN;
  char *pc = static_cast<char *>(std::calloc(static_cast<size_t>(ilBT) + 2, 1));
  if (pc == nullptr) return ORC_NOMEM;
  _charPut16(pc, static_cast<uint16_t>(ilN));
  std::memcpy(pc + 2, static_cast<const char *>(pArea) + 2, static_cast<size_t>(ilBU));
  std::memset(pchar, 0, sizeof *pchar);
  pchar->pcData = pc;
  pchar->ilBU = ilBU;
  pchar->ilBT = ilBT;
  pchar->ilL = ilN;
  pchar->usCCSID = usCCSID;
  pchar->usFlags = static_cast<uint16_t>((usFlags & ~0x3F0) | OCHAR_VARCHAR | _charClassFlags(usCCSID));
  return 0;
}

ochar *ocharCreateFromVarchar(const void *pArea, uint16_t usCCSID, uint16_t usFlags)
{
  ochar *pchar = static_cast<ochar *>(std::malloc(sizeof(ochar)));
  if (pchar == nullptr) return nullptr;
  if (ocharInitFromVarchar(pchar, pArea, usCCSID, usFlags) != 0) {
    std::free(pchar);
    return nullptr;
  }
  return pchar;
}

ochar *ocharClone(const ochar *pchar)
{
  if (pchar == nullptr || pchar->ilBU < 0) return nullptr;
  int32_t ilNul = _charIsDBCS(pchar) ? 2 : 1;
  size_t ulHead = (pchar->usFlags & OCHAR_VARCHAR) ? 2 : 0;
  int32_t ilBT = std::max(pchar->ilBT, pchar->ilBU + ilNul);
  ochar *pcharNew = static_cast<ochar *>(std::malloc(sizeof(ochar)));
  char *pc = static_cast<char *>(std::calloc(ulHead + static_cast<size_t>(ilBT), 1));
  if (pcharNew == nullptr || pc == nullptr) {
    std::free(pcharNew);
    std::free(pc);
    return nullptr;
  }
  if (pchar->pcData != nullptr) std::memcpy(pc, pchar->pcData, ulHead + static_cast<size_t>(pchar->ilBU));
  *pcharNew = *pchar;
  pcharNew->pcData = pc;
  pcharNew->ilBT = ilBT;
  pcharNew->usFlags |= OCHAR_OWNED;
  _charSetPrefix(pcharNew);
  return pcharNew;
}

/* --------------------------------------------------------------- appending */

int ocharAppendChar(ochar *pchar, uint16_t usChar)
{
  if (pchar == nullptr) return ORC_INVALID;
  unsigned char auc[2];
  if (_charIsDBCS(pchar)) {
    auc[0] = static_cast<unsigned char>(usChar >> 8);
    auc[1] = static_cast<unsigned char>(usChar);
    return ocharAppendFixedS(pchar, auc, 2);
  }
  auc[0] = static_cast<unsigned char>(usChar);
  return ocharAppendFixedS(pchar, auc, 1);
}

int _ocharCatFixed(ochar *pcharTarget, const ochar *pcharSource, int32_t ilWidth, int iFill)
{
  if (pcharTarget == nullptr) return ORC_INVALID;
  if (ilWidth < 0) ilWidth = 0;
  int32_t ilSource = pcharSource != nullptr && pcharSource->pcData != nullptr ? pcharSource->ilBU : 0;
  int32_t ilCopied = std::min(ilWidth, ilSource);
  int32_t ilRest = ilWidth - ilCopied;
  if (ilRest > 0 && !(pcharTarget->usFlags & OCHAR_CLASS)) return ORC_INVALID;
  int rc = _charSetBufferSize(pcharTarget, pcharTarget->ilBU + ilWidth);
  if (rc != 0) return rc;
  char *pc = _charText(pcharTarget) + pcharTarget->ilBU;
  if (ilCopied > 0) std::memcpy(pc, _charText(pcharSource), static_cast<size_t>(ilCopied));
  int32_t ilAdded = ilCopied;
  if (_charIsDBCS(pcharTarget)) {
    for (int32_t i = 0; i < ilRest / 2; i++) {
      pc[ilAdded++] = 0x00;
      pc[ilAdded++] = static_cast<char>(iFill);
    }
  } else if (ilRest > 0) {
    std::memset(pc + ilAdded, iFill & 0xFF, static_cast<size_t>(ilRest));
    ilAdded += ilRest;
  }
  pcharTarget->ilBU += ilAdded;
  _charSetLen(pcharTarget, _charIsDBCS(pcharTarget) ? pcharTarget->ilBU / 2 : pcharTarget->ilBU);
  return 0;
}

/* Appends one part of ocharConcatene; *pilAdded receives the bytes appended. */
static int _charConcatPart(ochar *pcharTarget, const ochar *pchar, int32_t ilWidth, int iFill,
                           int32_t *pilAdded)
{
  int32_t ilBefore = pcharTarget->ilBU;
  int rc;
  if (ilWidth > 0) {
    rc = _ocharCatFixed(pcharTarget, pchar, ilWidth, iFill);
  } else if (iFill != 0) {
    ochar *pcharCopy = ocharClone(pchar);
    if (pcharCopy == nullptr) return ORC_NOMEM;
    ocharStrip(pcharCopy, static_cast<uint16_t>(iFill));
    rc = ocharAppendFixedS(pcharTarget, _charText(pcharCopy), pcharCopy->ilBU);
    ocharDestroy(pcharCopy);
  } else {
    rc = pchar->pcData != nullptr ? ocharAppendFixedS(pcharTarget, _charText(pchar), pchar->ilBU) : 0;
  }
  *pilAdded = pcharTarget->ilBU - ilBefore;
  return rc;
}

int ocharConcatene(ochar *pcharTarget, const ochar *pchar1, int32_t ilWidth1, int iFill1,
                   const ochar *pchar2, int32_t ilWidth2, int iFill2, uint16_t usSeparator)
{
  if (pcharTarget == nullptr) return ORC_INVALID;
  int32_t ilAdded = 0;
  if (pchar1 != nullptr) {
    int rc = _charConcatPart(pcharTarget, pchar1, ilWidth1, iFill1, &ilAdded);
    if (rc != 0) return rc;
    if (usSeparator != 0 && (ilWidth1 > 0 || ilAdded > 0)) {
      rc = ocharAppendChar(pcharTarget, usSeparator);
      if (rc != 0) return rc;
    }
  }
  if (pchar2 != nullptr) return _charConcatPart(pcharTarget, pchar2, ilWidth2, iFill2, &ilAdded);
  return 0;
}

/* ------------------------------------------------------------- copying out */

int ocharCopyToCharFixed(const ochar *pchar, void *pArea, int32_t ilSize, uint16_t usFill)
{
  if (pchar == nullptr || pArea == nullptr || ilSize < 0) return ORC_INVALID;
  char *pc = static_cast<char *>(pArea);
  int32_t ilCopied = pchar->pcData != nullptr ? std::min(ilSize, pchar->ilBU) : 0;
  if (ilCopied > 0) std::memcpy(pc, _charText(pchar), static_cast<size_t>(ilCopied));
  int32_t ilRest = ilSize - ilCopied;
  if (_charIsDBCS(pchar)) {
    for (int32_t i = 0; i < ilRest / 2; i++) _charPut16(pc + ilCopied + 2 * i, usFill);
  } else if (ilRest > 0) {
    std::memset(pc + ilCopied, usFill & 0xFF, static_cast<size_t>(ilRest));
  }
  return pchar->ilBU > ilSize ? OCHAR_RC_TRUNCATED : 0;
}

int ocharCopyToVarchar(const ochar *pchar, void *pArea, int32_t ilMaximum, uint16_t usFlags)
{
  if (pchar == nullptr || pArea == nullptr) return ORC_INVALID;
  int32_t ilLength = (usFlags & OCHAR_REAL) ? pchar->ilL : pchar->ilBU;
  if (ilLength > ilMaximum) {
    _charPut16(pArea, 0);
    return OCHAR_RC_TOOLONG;
  }
  _charPut16(pArea, static_cast<uint16_t>(ilLength));
  if (pchar->ilBU > 0 && pchar->pcData != nullptr)
    std::memcpy(static_cast<char *>(pArea) + 2, _charText(pchar), static_cast<size_t>(pchar->ilBU));
  return 0;
}

/* -------------------------------------------------------------- code pages */

int ocharDetermineBCS(uint16_t usCCSID)
{
  if (_charInRanges(gaccsidSBCS, usCCSID)) return OCHAR_SBCS;
  if (_charInRanges(gaccsidDBCS, usCCSID)) return OCHAR_DBCS;
  if (_charInRanges(gaccsidMixed, usCCSID)) return OCHAR_MIXED;
  return OCHAR_OTHER;
}

int ocharDetermineClass(uint16_t usCCSID)
{
  (void)usCCSID;
  return 0;
}

int ocharConvert(ochar *pchar, uint16_t usCCSID)
{
  if (pchar == nullptr) return ORC_INVALID;
  if (usCCSID == pchar->usCCSID) return 0;
  uint16_t usClass = static_cast<uint16_t>(ocharDetermineBCS(usCCSID) | ocharDetermineClass(usCCSID));
  if (pchar->ilBU <= 0) {
    /* Nothing to convert, but the class must follow the code page. */
    pchar->usCCSID = usCCSID;
    pchar->usFlags = static_cast<uint16_t>((pchar->usFlags & 0xFC0F) | usClass);
    return 0;
  }
  ochar *pcharCopy = ocharClone(pchar);
  if (pcharCopy == nullptr) return ORC_NOMEM;
  pchar->usCCSID = usCCSID;
  pchar->usFlags = static_cast<uint16_t>((pchar->usFlags & 0xFC0F) | usClass);
  pchar->ilBU = 0;
  _charSetLen(pchar, 0);
  int rc = ocharTranslate(pcharCopy, pchar);
  if (rc == ORC_INVALID) rc = ocnvftConvert(nullptr, pcharCopy, pchar);
  ocharDestroy(pcharCopy);
  return rc;
}

int ocharTranslate(const ochar *pcharSource, ochar *pcharTarget)
{
  if (pcharSource == nullptr || pcharTarget == nullptr) return ORC_INVALID;
  bool boSame;
  const unsigned char *pTable = _charTable(pcharSource->usCCSID, pcharTarget->usCCSID, &boSame);
  if (pTable == nullptr && !boSame) return ORC_INVALID;
  int32_t ilBU = pcharSource->pcData != nullptr ? pcharSource->ilBU : 0;
  int rc = _charSetBufferSize(pcharTarget, ilBU);
  if (rc != 0) return rc;
  _charTranslateBytes(pTable, ilBU > 0 ? _charText(pcharSource) : nullptr, ilBU, _charText(pcharTarget));
  pcharTarget->ilBU = ilBU;
  _charSetLen(pcharTarget, pcharSource->ilL);
  return 0;
}

int ocharTranslateCopy(uint16_t usSource, uint16_t usTarget, const void *pBytes, int32_t ilLength, void *pOut)
{
  bool boSame;
  _charTranslateBytes(_charTable(usSource, usTarget, &boSame), pBytes, ilLength, pOut);
  return 0;
}

void *ocharTranslateClone(uint16_t usSource, uint16_t usTarget, const void *pBytes, int32_t ilLength,
                          int32_t *pilOutLength)
{
  if (ilLength < 0) ilLength = 0;
  void *p = std::malloc(ilLength > 0 ? static_cast<size_t>(ilLength) : 1);
  if (p == nullptr) return nullptr;
  ocharTranslateCopy(usSource, usTarget, pBytes, ilLength, p);
  if (pilOutLength != nullptr) *pilOutLength = ilLength;
  return p;
}

uint16_t ocharConvertChar(unsigned char ucByte, uint16_t usCCSID, int *piCode)
{
  if (piCode != nullptr) *piCode = 0;
  if (usCCSID == 0 || usCCSID == OCHAR_CCSID_ASCII || usCCSID == 0xFFFF) return _charWiden(ucByte);
  if (gpdictLetter == nullptr) gpdictLetter = odictCreate(50, 80);
  uintptr_t ulKey = static_cast<uintptr_t>(usCCSID) << 16 | ucByte;
  if (gpdictLetter != nullptr) {
    void *pv = odictLoad(gpdictLetter, ulKey);
    if (pv != nullptr) return static_cast<uint16_t>(reinterpret_cast<uintptr_t>(pv));
  }
  uint16_t usCode = _charWiden(ucByte);
  ochar charSource;
  int rc = ocharInitFromFixed(&charSource, &ucByte, 1, OCHAR_CCSID_ASCII);
  ochar *pcharTarget = rc == 0 ? ocharCreate(2, usCCSID) : nullptr;
  if (pcharTarget == nullptr) {
    std::free(charSource.pcData);
    if (piCode != nullptr) *piCode = ORC_NOMEM;
    return usCode;
  }
  rc = ocnvftConvert(nullptr, &charSource, pcharTarget);
  if (piCode != nullptr) *piCode = rc;
  if (rc == 0) {
    const char *pc = _charText(pcharTarget);
    if (pcharTarget->ilBU == 1) usCode = _charWiden(static_cast<unsigned char>(pc[0]));
    else usCode = _charGet16(pc);
  }
  std::free(charSource.pcData);
  ocharDestroy(pcharTarget);
  if (gpdictLetter != nullptr)
    odictStore(gpdictLetter, ulKey, reinterpret_cast<void *>(static_cast<uintptr_t>(usCode) | 0x10000));
  return usCode;
}

/* ---------------------------------------------------- comparison, editing */

int ocharCompare(const ochar *pcharA, const ochar *pcharB, int iPad)
{
  const unsigned char *pA = nullptr, *pB = nullptr;
  int32_t ilA = 0, ilB = 0;
  if (pcharA != nullptr && pcharA->pcData != nullptr && pcharA->ilBU > 0) {
    pA = reinterpret_cast<const unsigned char *>(_charText(pcharA));
    ilA = pcharA->ilBU;
  }
  if (pcharB != nullptr && pcharB->pcData != nullptr && pcharB->ilBU > 0) {
    pB = reinterpret_cast<const unsigned char *>(_charText(pcharB));
    ilB = pcharB->ilBU;
  }
  /* Bytes, not C strings: UTF-16, DBCS and bit data hold NUL bytes. */
  int32_t ilCommon = std::min(ilA, ilB);
  if (ilCommon > 0) {
    int i = std::memcmp(pA, pB, static_cast<size_t>(ilCommon));
    if (i != 0) return i < 0 ? -1 : 1;
  }
  if (ilA == ilB) return 0;
  const unsigned char *pLong = ilA > ilB ? pA : pB;
  int32_t ilLong = std::max(ilA, ilB);
  for (int32_t i = ilCommon; i < ilLong; i++)
    if (pLong[i] != static_cast<unsigned char>(iPad)) return ilA < ilB ? -1 : 1;
  return 0;
}

int ocharStrip(ochar *pchar, uint16_t usChar)
{
  if (pchar == nullptr || !(pchar->usFlags & OCHAR_CLASS) || pchar->ilBU <= 0 || pchar->pcData == nullptr)
    return 0;
  const unsigned char *puc = reinterpret_cast<const unsigned char *>(_charText(pchar));
  int32_t n = pchar->ilBU;
  if (_charIsDBCS(pchar)) {
    unsigned char ucHigh = static_cast<unsigned char>(usChar >> 8);
    unsigned char ucLow = static_cast<unsigned char>(usChar);
    while (n > 1 && puc[n - 2] == ucHigh && puc[n - 1] == ucLow) n -= 2;
  } else {
    unsigned char uc = static_cast<unsigned char>(usChar);
    while (n > 0 && puc[n - 1] == uc) n--;
  }
  pchar->ilBU = n;
  _charSetLen(pchar, n);
  return _charIsDBCS(pchar) ? n / 2 : n;
}

int ocharPad(ochar *pchar, int32_t ilCount, int iMode, uint16_t usPad)
{
  if (pchar == nullptr || ilCount < 0 || !(iMode & 3) || !(pchar->usFlags & OCHAR_CLASS)) return ORC_INVALID;
  int32_t ilUnit = _charIsDBCS(pchar) ? 2 : 1;
  int32_t ilCur = (pchar->pcData != nullptr ? pchar->ilBU : 0) / ilUnit;
  int rc = _charSetBufferSize(pchar, ilCount * ilUnit);
  if (rc != 0) return rc;
  char *pc = _charText(pchar);
  auto fill = [&](int32_t ilFrom, int32_t ilUnits) {
    for (int32_t i = 0; i < ilUnits; i++) {
      if (ilUnit == 2) _charPut16(pc + 2 * (ilFrom + i), usPad);
      else pc[ilFrom + i] = static_cast<char>(usPad);
    }
  };
  if (iMode & 1) {
    if (ilCur > ilCount) {
      std::memmove(pc, pc + (ilCur - ilCount) * ilUnit, static_cast<size_t>(ilCount * ilUnit));
    } else if (ilCur < ilCount) {
      std::memmove(pc + (ilCount - ilCur) * ilUnit, pc, static_cast<size_t>(ilCur * ilUnit));
      fill(0, ilCount - ilCur);
    }
  } else if (ilCur < ilCount) {
    fill(ilCur, ilCount - ilCur);
  }
  pchar->ilBU = ilCount * ilUnit;
  _charSetLen(pchar, ilCount);
  return 0;
}

int ocharPack(ochar *pchar)
{
  if (pchar == nullptr) return ORC_INVALID;
  if (pchar->pcData == nullptr || pchar->ilBU <= 0) return 0;
  char *pc = _charText(pchar);
  int32_t n = pchar->ilBU;
  for (int32_t i = 0; i < n; i++) {
    int iDigit = _charHexValue(pc[i]);
    if (i % 2 == 0) pc[i / 2] = static_cast<char>(iDigit << 4);
    else pc[i / 2] = static_cast<char>(pc[i / 2] | iDigit);
  }
  pchar->ilBU = (n + 1) / 2;
  _charSetLen(pchar, pchar->ilBU);
  return 0;
}

/* ------------------------------------------------------------ identifiers */

int ocharIsOrdinaryIdent(const ochar *pchar)
{
  if (pchar == nullptr) return 0;
  if (pchar->usFlags & OCHAR_DBCS) return 1;
  if (!(pchar->usFlags & OCHAR_SBCS) || pchar->pcData == nullptr || pchar->ilBU <= 0) return 0;
  const unsigned char *puc = reinterpret_cast<const unsigned char *>(_charText(pchar));
  int32_t n = pchar->ilBU;
  if (puc[0] == 0x0E) {
    if (n < 2 || n % 2 != 0 || puc[n - 1] != 0x0F) return 0;
    for (int32_t i = 1; i < n - 1; i++) {
      if (puc[i] == 0x0E || puc[i] == 0x0F) return 0;
      if (puc[i] == ' ' && puc[i + 1] == ' ') return 0;
    }
    return 1;
  }
  auto isLetter = [](unsigned char uc) { return (uc >= 'A' && uc <= 'Z') || (uc >= 'a' && uc <= 'z'); };
  auto isSpecial = [](unsigned char uc) { return uc == '#' || uc == '$' || uc == '@'; };
  if (!isLetter(puc[0]) && !isSpecial(puc[0])) return 0;
  for (int32_t i = 1; i < n; i++) {
    unsigned char uc = puc[i];
    if (!isLetter(uc) && !isSpecial(uc) && !(uc >= '0' && uc <= '9') && uc != '_') return 0;
  }
  return 1;
}

int ocharBuildDelimited(ochar *pcharTarget, const ochar *pcharSource, uint16_t usDelimiter, int iKeepShift)
{
  if (pcharTarget == nullptr || pcharSource == nullptr) return ORC_INVALID;
  const unsigned char *puc = reinterpret_cast<const unsigned char *>(
      pcharSource->pcData != nullptr ? _charText(pcharSource) : "");
  int32_t n = pcharSource->pcData != nullptr ? pcharSource->ilBU : 0;
  std::string s;
  if (_charIsDBCS(pcharSource)) {
    char acDelim[2] = {static_cast<char>(usDelimiter >> 8), static_cast<char>(usDelimiter)};
    s.append(acDelim, 2);
    for (int32_t i = 0; i + 1 < n; i += 2) {
      s.append(reinterpret_cast<const char *>(puc + i), 2);
      if (std::memcmp(puc + i, acDelim, 2) == 0) s.append(acDelim, 2);
    }
    s.append(acDelim, 2);
  } else {
    char cDelim = static_cast<char>(usDelimiter);
    bool boMixed = (pcharSource->usFlags & OCHAR_MIXED) != 0 && iKeepShift;
    bool boShifted = false;
    s += cDelim;
    for (int32_t i = 0; i < n; i++) {
      if (boMixed && puc[i] == 0x0E) boShifted = true;
      else if (boMixed && puc[i] == 0x0F) boShifted = false;
      s += static_cast<char>(puc[i]);
      if (static_cast<char>(puc[i]) == cDelim && !boShifted) s += cDelim;
    }
    s += cDelim;
  }
  return ocharAppendFixedS(pcharTarget, s.data(), static_cast<int32_t>(s.size()));
}

int ocharBuildDelimitedIdent(ochar *pcharTarget, const ochar *pcharSource, uint16_t usDelimiter, int iKeepShift)
{
  if (pcharTarget == nullptr || pcharSource == nullptr) return ORC_INVALID;
  ochar *pcharCopy = ocharClone(pcharSource);
  if (pcharCopy == nullptr) return ORC_NOMEM;
  if (!(pcharCopy->usFlags & OCHAR_VARCHAR) && pcharCopy->ilBU == 8) ocharStrip(pcharCopy, ' ');
  int rc;
  if (ocharIsOrdinaryIdent(pcharCopy)) {
    if (_charIsDBCS(pcharCopy)) {
      std::string s("\x0E");
      s.append(_charText(pcharCopy), static_cast<size_t>(pcharCopy->ilBU));
      s += '\x0F';
      rc = ocharAppendFixedS(pcharTarget, s.data(), static_cast<int32_t>(s.size()));
    } else {
      rc = ocharAppendFixedS(pcharTarget, _charText(pcharCopy), pcharCopy->ilBU);
    }
  } else {
    rc = ocharBuildDelimited(pcharTarget, pcharCopy, usDelimiter, iKeepShift);
  }
  ocharDestroy(pcharCopy);
  return rc;
}

/* ----------------------------------------------------------- fixed fields */

int ocharStripF2C(const char *pcField, char *pcOutput, int32_t ilLength)
{
  int32_t n = ilLength > 0 ? ilLength : 0;
  while (n > 0 && (pcField[n - 1] == ' ' || pcField[n - 1] == '\0')) n--;
  if (n > 0) std::memcpy(pcOutput, pcField, static_cast<size_t>(n));
  pcOutput[n] = '\0';
  return n;
}

int ocharC2F(const char *pcText, char *pcField, int32_t ilLength, char cPad, int iTerminate)
{
  if (ilLength < 0) ilLength = 0;
  int32_t n = 0;
  while (n < ilLength && pcText[n] != '\0') {
    pcField[n] = pcText[n];
    n++;
  }
  if (n < ilLength) std::memset(pcField + n, cPad, static_cast<size_t>(ilLength - n));
  if (iTerminate) pcField[ilLength] = '\0';
  return n;
}

int ocharLong2F(long lValue, char *pcField, int iDigits, char cFill, int iTerminate)
{
  if (iDigits < 1) return ORC_INVALID;
  bool boNegative = lValue < 0;
  unsigned long ul = boNegative ? 0UL - static_cast<unsigned long>(lValue) : static_cast<unsigned long>(lValue);
  int iFirst = boNegative && iDigits > 1 ? 1 : 0;
  for (int i = iDigits - 1; i >= iFirst; i--) {
    pcField[i] = static_cast<char>('0' + ul % 10);
    ul /= 10;
  }
  if (iFirst == 1) pcField[0] = '-';
  if (cFill != '0')
    for (int i = iFirst; i < iDigits - 1 && pcField[i] == '0'; i++) pcField[i] = cFill;
  if (iTerminate) pcField[iDigits] = '\0';
  return 0;
}

long ocharF2Long(const char *pcField, int32_t ilLength)
{
  int32_t i = 0;
  while (i < ilLength && pcField[i] == ' ') i++;
  bool boNegative = false;
  if (i < ilLength && (pcField[i] == '-' || pcField[i] == '+')) boNegative = pcField[i++] == '-';
  unsigned long ul = 0;
  for (; i < ilLength && pcField[i] >= '0' && pcField[i] <= '9'; i++) ul = ul * 10 + static_cast<unsigned long>(pcField[i] - '0');
  return boNegative ? -static_cast<long>(ul) : static_cast<long>(ul);
}

/* ------------------------------------------------------------------ dumps */

int _charDumpBuffer(int iQuiet, FILE **ppfile, const void *pBytes, const void *pShown, int32_t ilLength)
{
  int iCount = 0;
  FILE *pfile = _charFile(ppfile);
  _charDumpLines(pBytes, reinterpret_cast<uintptr_t>(pShown), ilLength, [&](const std::string &s) {
    iCount += static_cast<int>(s.size()) + 1;
    if (!iQuiet) std::fprintf(pfile, "%s\n", s.c_str());
  });
  return iCount;
}

int ocharDump2(int iQuiet, FILE **ppfile, const ochar *pchar, int iIndent)
{
  if (ocharIsNotValid(pchar) != 0) return ORC_INVALID;
  std::string s(static_cast<size_t>(std::max(iIndent, 0)), ' ');
  s += _charHeader(pchar);
  if (!iQuiet) std::fputs(s.c_str(), _charFile(ppfile));
  return static_cast<int>(s.size()) + _charDumpBuffer(iQuiet, ppfile, _charText(pchar), nullptr, pchar->ilBU);
}

int ocharPrintServices(const ochar *pchar, const char *pcKeyword)
{
  if (pcKeyword == nullptr || omsgsTraceCheck(pcKeyword) == 0) return 0;
  if (ocharIsNotValid(pchar) != 0) return ORC_INVALID;
  omsgsTraceTo(pcKeyword, "%s", _charHeader(pchar).c_str());
  return _charPrintBufferServices(pcKeyword, _charText(pchar), 0, pchar->ilBU);
}

int _charPrintBufferServices(const char *pcKeyword, const void *pBytes, int32_t ilStart, int32_t ilLength)
{
  if (pcKeyword == nullptr || omsgsTraceCheck(pcKeyword) == 0) return 0;
  _charDumpLines(pBytes, static_cast<uintptr_t>(ilStart), ilLength,
                 [&](const std::string &s) { omsgsTraceTo(pcKeyword, "%s\n", s.c_str()); });
  return 0;
}
