/*
** zorucoreprog_test.cpp
**   Row programs: every row of a table of column layouts (DEL and IXF, all
**   the value kinds a program writes itself, every DEL date format, the
**   options that change a text) converted through the program and through
**   the column functions alone must give the same code, the same bytes and
**   leave the rows in the same state, for random records that hold valid
**   values, nulls, columns beyond the fixed part, corrupt packed values,
**   delimiters inside values, slots outside the record, cut records and
**   output buffers of every size.  Which converters get a program.
*/
#include "run/zorucoreprog.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "model/oconvert.h"
#include "run/zorucore.h"
#include "run/zorucoredel.h"
#include "tests/run/ucoretest.h"

namespace {

const uint32_t SEP = ZORUCORE_FLAG_SEP;
const uint32_t DELIM = ZORUCORE_FLAG_DELIM;
const uint32_t PLUS = ZORUCORE_FLAG_PLUS;
const uint16_t NULLABLE = COLKEY_NULLABLE;

/* xorshift64: the same records on every run. */
struct progRandom {
  uint64_t ul = 0x9E3779B97F4A7C15ull;
  uint64_t next()
  {
    ul ^= ul << 13;
    ul ^= ul >> 7;
    ul ^= ul << 17;
    return ul;
  }
  int below(int n) { return n <= 0 ? 0 : static_cast<int>(next() % static_cast<uint64_t>(n)); }
  bool chance(int iPercent) { return below(100) < iPercent; }
};

/* One output column: keys, source subtype (DECIMAL: precision << 8 | scale), core data. */
struct progCol {
  uint16_t      usSource;
  uint16_t      usTarget;
  int32_t       iLength;
  zorucoreData *pcore;
};

/* Bytes the value (or slot) of a column takes in the record's fixed part; 0 for a column without value. */
int32_t valueSize(const progCol &col)
{
  switch (col.usSource & 0xFF) {
    case 1:  return 2;
    case 2:  return 4;
    case 3:  return ((col.iLength >> 8) & 0xFF) / 2 + 1;
    case 4:  return 8;
    case 5:  return 4;
    case 6:  return 8;
    case 7:  return col.iLength;
    case 8:  return 4;
    case 10: return 4;
    case 11: return 3;
    case 12: return 10;
    case 13: return 2 * col.iLength;
    case 14: return 4;
    default: return 0;
  }
}

/* Packed decimal digits (nibbles 0..9, one per byte), then the sign nibble. */
void putPacked(std::vector<unsigned char> &v, size_t ulAt, const std::vector<int> &viNibbles)
{
  for (size_t i = 0; i < viNibbles.size(); i++) {
    unsigned char &uc = v[ulAt + i / 2];
    uc = static_cast<unsigned char>(i % 2 == 0 ? (uc & 0x0F) | viNibbles[i] << 4 : (uc & 0xF0) | viNibbles[i]);
  }
}

/* A double of a kind that DEL files hold: short decimals, long ones, any bits, edges. */
double randomDouble(progRandom &rnd)
{
  switch (rnd.below(6)) {
    case 0: return static_cast<double>(rnd.below(4001) - 2000) / 4.0;
    case 1: return static_cast<double>(static_cast<int64_t>(rnd.next() % 2000000001) - 1000000000) /
                   std::pow(10.0, rnd.below(12));
    case 2: {
      uint64_t ul = rnd.next();
      double d;
      std::memcpy(&d, &ul, sizeof d);
      return d;
    }
    case 3: return std::ldexp(static_cast<double>(rnd.below(1000000)), -rnd.below(40));
    case 4: {
      static const double ad[] = {0.0, -0.0, 1e-4, 9.9999999999999991e-5, 999999999999999.5, 1e15, 0.1, 0.5,
                                  std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()};
      return ad[rnd.below(10)];
    }
    default: return static_cast<double>(rnd.below(100000)) / 100.0;
  }
}

/*
** A record for the columns: values in column order in the fixed part (each
** nullable one followed by its indicator), VARCHAR bytes after it.  Most
** values are valid; some columns are null, hold a corrupt packed value, a
** delimiter or a slot outside the record; some records end their fixed
** part early or are cut.
*/
std::vector<unsigned char> randomRecord(const std::vector<progCol> &vcol, progRandom &rnd)
{
  std::vector<unsigned char> vData;
  std::vector<std::pair<size_t, const progCol *>> vVar;
  for (const progCol &col : vcol) {
    int32_t ilSize = valueSize(col);
    if (ilSize == 0) continue;
    size_t ulAt = vData.size();
    vData.resize(ulAt + static_cast<size_t>(ilSize) + ((col.usSource & NULLABLE) ? 1 : 0), 0);
    bool boBad = rnd.chance(4);
    switch (col.usSource & 0xFF) {
      case 1: case 2: case 6: {
        uint64_t ul = rnd.next() >> rnd.below(64);
        if (rnd.chance(50)) ul = 0 - ul;
        for (int32_t i = 0; i < ilSize; i++) vData[ulAt + static_cast<size_t>(i)] = static_cast<unsigned char>(ul >> (8 * i));
        break;
      }
      case 3: {
        int iPrec = (col.iLength >> 8) & 0xFF;
        std::vector<int> viNibbles;
        if (iPrec % 2 == 0) viNibbles.push_back(rnd.below(16));   /* the pad nibble, never read */
        for (int i = 0; i < iPrec; i++) viNibbles.push_back(rnd.chance(30) ? 0 : rnd.below(10));
        viNibbles.push_back(0x0A + rnd.below(6));
        if (boBad) viNibbles[static_cast<size_t>(rnd.below(static_cast<int>(viNibbles.size())))] = rnd.below(16);
        putPacked(vData, ulAt, viNibbles);
        break;
      }
      case 4: {
        double d = randomDouble(rnd);
        uint64_t ul;
        std::memcpy(&ul, &d, sizeof ul);
        for (int i = 0; i < 8; i++) vData[ulAt + static_cast<size_t>(i)] = static_cast<unsigned char>(ul >> (8 * i));
        break;
      }
      case 5: {
        float f = static_cast<float>(randomDouble(rnd));
        uint32_t ul;
        std::memcpy(&ul, &f, sizeof ul);
        for (int i = 0; i < 4; i++) vData[ulAt + static_cast<size_t>(i)] = static_cast<unsigned char>(ul >> (8 * i));
        break;
      }
      case 7: case 13: {
        static const char acAlphabet[] = "ABCxyz09 ,;\"'|";
        for (int32_t i = 0; i < ilSize; i++)
          vData[ulAt + static_cast<size_t>(i)] = rnd.chance(5) ? static_cast<unsigned char>(rnd.below(256))
                                                              : static_cast<unsigned char>(acAlphabet[rnd.below(14)]);
        break;
      }
      case 8: case 14:
        vVar.push_back({ulAt, &col});
        break;
      case 10: case 11: case 12: {
        static const int aiMax[] = {99, 99, 12, 28, 23, 59, 59, 99, 99, 99};   /* C Y M D h m s, microseconds */
        for (int32_t i = 0; i < ilSize; i++) {
          int iMax = (col.usSource & 0xFF) == 11 ? aiMax[4 + i] : aiMax[i];
          int v = rnd.below(iMax + 1);
          vData[ulAt + static_cast<size_t>(i)] = static_cast<unsigned char>((v / 10) << 4 | (v % 10));
        }
        if (boBad) vData[ulAt + static_cast<size_t>(rnd.below(ilSize))] |= rnd.chance(50) ? 0xA0 : 0x0F;
        break;
      }
    }
    if ((col.usSource & NULLABLE) && rnd.chance(15))
      vData[ulAt + static_cast<size_t>(ilSize)] = static_cast<unsigned char>(1 + rnd.below(255));
  }
  int16_t sFixed = static_cast<int16_t>(vData.size());
  for (auto &[ulSlot, pcol] : vVar) {
    bool boGraphic = (pcol->usSource & 0xFF) == 14;
    int32_t ilMax = boGraphic ? 2 * pcol->iLength : pcol->iLength;
    int32_t ilLength = rnd.below(ilMax + 1);
    if (boGraphic) ilLength &= ~1;
    if (rnd.chance(3)) ilLength = ilMax + 1 + rnd.below(3);   /* longer than the column */
    size_t ulAt = vData.size();
    for (int32_t i = 0; i < ilLength; i++)
      vData.push_back(rnd.chance(8) ? static_cast<unsigned char>('"') : static_cast<unsigned char>('a' + rnd.below(26)));
    uint16_t usOffset = static_cast<uint16_t>(ulAt);
    if (rnd.chance(3)) usOffset = static_cast<uint16_t>(vData.size() + static_cast<size_t>(rnd.below(8)));   /* outside */
    vData[ulSlot] = static_cast<unsigned char>(usOffset);
    vData[ulSlot + 1] = static_cast<unsigned char>(usOffset >> 8);
    vData[ulSlot + 2] = static_cast<unsigned char>(ilLength);
    vData[ulSlot + 3] = static_cast<unsigned char>(ilLength >> 8);
  }
  if (rnd.chance(5)) sFixed = static_cast<int16_t>(rnd.below(sFixed + 1));   /* columns added after the record */
  ucoreBytes data;
  data.v = vData;
  std::vector<unsigned char> vRecord = ucoreRecord(sFixed, data);
  if (rnd.chance(3)) vRecord.resize(static_cast<size_t>(rnd.below(static_cast<int>(vRecord.size()) + 1)));   /* cut */
  return vRecord;
}

/* What one conversion left: code, bytes to the cursor, current columns, IXF record start. */
struct progOutcome {
  int         iRc = 0;
  std::string strText;
  int32_t     iSource = 0, iTarget = 0;
  std::vector<int64_t> vllData;   /* each target column's data position, from the buffer start */
  bool operator==(const progOutcome &) const = default;
};

/* A converter of the columns, with its rows; record and output buffers of their exact sizes. */
class progConverter {
public:
  explicit progConverter(const std::vector<progCol> &vcol)
  {
    /* each value after the one before it, a nullable one's indicator byte after its value */
    std::vector<ucoreCol> vucol;
    int16_t sOffset = 0;
    for (const progCol &col : vcol) {
      vucol.push_back({col.usSource, col.usTarget, col.iLength, valueSize(col) > 0 ? sOffset : int16_t{0}, col.pcore});
      sOffset = static_cast<int16_t>(sOffset + valueSize(col) + ((col.usSource & NULLABLE) && valueSize(col) > 0 ? 1 : 0));
    }
    int iRc = 0;
    pconvert = ucoreMakeConverter(vucol, &iRc);
  }
  ~progConverter() { oconvertDestroy(pconvert); }

  /* One conversion of the record into a buffer of ulCapacity bytes filled with cFill; with or without the program. */
  progOutcome convert(const std::vector<unsigned char> &vRecord, size_t ulCapacity, char cFill, bool boProgram)
  {
    std::unique_ptr<unsigned char[]> pucRecord(new unsigned char[vRecord.size() + 1]);
    std::memcpy(pucRecord.get(), vRecord.data(), vRecord.size());
    std::unique_ptr<char[]> pcOut(new char[ulCapacity + 1]);
    std::memset(pcOut.get(), cFill, ulCapacity + 1);
    orow *prowSource = pconvert->prowSource;
    orow *prowTarget = pconvert->prowTarget;
    orowSetBuffer(prowSource, pucRecord.get(), static_cast<int32_t>(vRecord.size()), 0);
    orowSetBuffer(prowTarget, pcOut.get(), static_cast<int32_t>(ulCapacity), 0);
    orowResetBuffer(prowSource, 0);
    orowResetBuffer(prowTarget, 0);
    for (int32_t i = 0; i < prowTarget->iCount; i++) prowTarget->pcoldef[i].pcData = nullptr;
    void *pProgram = pconvert->pProgram;
    if (!boProgram) pconvert->pProgram = nullptr;
    progOutcome outcome;
    outcome.iRc = oconvertConvert(pconvert);
    pconvert->pProgram = pProgram;
    outcome.strText.assign(prowTarget->pcStart, static_cast<size_t>(prowTarget->pcCursor - prowTarget->pcStart));
    outcome.iSource = prowSource->iCurrent;
    outcome.iTarget = prowTarget->iCurrent;
    for (int32_t i = 0; i < prowTarget->iCount; i++)
      outcome.vllData.push_back(prowTarget->pcoldef[i].pcData == nullptr ? -1 : prowTarget->pcoldef[i].pcData - pcOut.get());
    /* the byte past the buffer is never written */
    EXPECT_EQ(pcOut[ulCapacity], cFill);
    orowSetBuffer(prowSource, nullptr, 0, 0);
    orowSetBuffer(prowTarget, nullptr, 0, 0);
    return outcome;
  }

  oconvert *pconvert = nullptr;
};

/* Bytes as a readable string for failure messages. */
std::string shown(const std::string &str)
{
  static const char acHex[] = "0123456789abcdef";
  std::string strOut;
  for (unsigned char uc : str) {
    if (uc >= 0x20 && uc < 0x7F && uc != '\\') {
      strOut += static_cast<char>(uc);
    } else {
      strOut += "\\x";
      strOut += acHex[uc >> 4];
      strOut += acHex[uc & 0xF];
    }
  }
  return strOut;
}

/*
** Converts iRows random records both ways and expects the same outcome;
** most into a roomy buffer, the others into buffers around the row's
** length (and some of nothing at all).
*/
void expectSameRows(const char *pcName, const std::vector<progCol> &vcol, int iRows, uint64_t ulSeed,
                    bool boConverts = true)
{
  progConverter conv(vcol);
  ASSERT_NE(conv.pconvert, nullptr) << pcName;
  ASSERT_NE(conv.pconvert->pProgram, nullptr) << pcName;
  progRandom rnd;
  rnd.ul ^= ulSeed;
  int iFailures = 0, iConverted = 0;
  for (int iRow = 0; iRow < iRows && iFailures < 5; iRow++) {
    std::vector<unsigned char> vRecord = randomRecord(vcol, rnd);
    progOutcome roomy = conv.convert(vRecord, 4096, '#', false);
    size_t ulCapacity = 4096;
    if (rnd.chance(30)) ulCapacity = static_cast<size_t>(rnd.below(static_cast<int>(roomy.strText.size()) + 48));
    char cFill = static_cast<char>(rnd.below(256));
    progOutcome want = conv.convert(vRecord, ulCapacity, cFill, false);
    progOutcome got = conv.convert(vRecord, ulCapacity, cFill, true);
    if (want.iRc == 0) iConverted++;
    if (!(got == want)) {
      iFailures++;
      ADD_FAILURE() << pcName << ", row " << iRow << ", capacity " << ulCapacity << ": program gave code 0x" << std::hex
                    << got.iRc << " \"" << shown(got.strText) << "\" columns " << std::dec << got.iSource << "/"
                    << got.iTarget << ", the column functions 0x" << std::hex << want.iRc << " \""
                    << shown(want.strText) << "\" columns " << std::dec << want.iSource << "/" << want.iTarget
                    << "; record \"" << shown(std::string(vRecord.begin(), vRecord.end())) << "\"";
    }
  }
  /* the table must give rows that convert, not only faults (unless it is there for its faults) */
  if (boConverts) {
    EXPECT_GT(iConverted, iRows / 4) << pcName;
  }
}

/* Fills a core's template and positions from a layout as the control step does (see zorucoredate_test.cpp). */
void setTemplate(zorucoreData *pcore, const char *pcLayout, const std::string &strD, const std::string &strT)
{
  std::string strText;
  for (const char *pc = pcLayout; *pc != '\0'; pc++) {
    int16_t sPos = static_cast<int16_t>(strText.size());
    switch (*pc) {
      case 'C': pcore->asPos[ZORUCORE_POS_CENTURY] = sPos; strText += "00"; break;
      case 'Y': pcore->asPos[ZORUCORE_POS_YEAR] = sPos; strText += "00"; break;
      case 'M': pcore->asPos[ZORUCORE_POS_MONTH] = sPos; strText += "00"; break;
      case 'D': pcore->asPos[ZORUCORE_POS_DAY] = sPos; strText += "00"; break;
      case 'J': pcore->asPos[ZORUCORE_POS_DAY] = sPos; strText += "000"; break;
      case 'h': pcore->asPos[ZORUCORE_POS_HOUR] = sPos; strText += "00"; break;
      case 'm': pcore->asPos[ZORUCORE_POS_MINUTE] = sPos; strText += "00"; break;
      case 's': pcore->asPos[ZORUCORE_POS_SECOND] = sPos; strText += "00"; break;
      case 'a': pcore->asPos[ZORUCORE_POS_SECOND] = sPos; strText += "AM"; break;
      case 'U': pcore->asPos[ZORUCORE_POS_MICRO] = sPos; strText += "000000"; break;
      case '-': strText += strD; break;
      case '.': strText += strT; break;
      default:  strText += *pc; break;
    }
  }
  std::free(pcore->pcTemplate);
  pcore->pcTemplate = static_cast<char *>(std::malloc(strText.size()));
  std::memcpy(pcore->pcTemplate, strText.data(), strText.size());
  pcore->sTemplateLength = static_cast<int16_t>(strText.size());
}

/* The layouts of the DEL formats DATE_A..P, TIME_A..E, TIMESTAMP_A..F. */
const char *const apcDateLayouts[] = {"M-D-CY", "M-D-Y", "CY-M-D", "Y-M-D", "D-M-CY", "D-M-Y", "CY-J", "Y-J",
                                      "MDCY",   "MDY",   "CYMD",   "YMD",   "DMCY",   "DMY",   "CYJ",  "YJ"};
const char *const apcTimeLayouts[] = {"h.m.s", "h.m", "h.m a", "hms", "hm"};
const char *const apcTsLayouts[] = {"CY-M-D-h.m.s", "CY-M-D-h.m.s.U", "CYMDhms", "YMDhms", "CYMDhmsU", "YMDhmsU"};

/* The IXF record framing: header "D001    " and end (naming the header's column). */
zorucoreData *ixfHeader(ucoreCores &cores)
{
  zorucoreData *pcore = cores.make(0);
  pcore->pcharConstant = ocharCreate(8, 850);
  ocharAppendFixed(pcore->pcharConstant, "D001    ", 8);
  return pcore;
}

zorucoreData *ixfEnd(ucoreCores &cores, int32_t iHeader)
{
  zorucoreData *pcore = cores.make(0);
  pcore->iWorkCapacity = iHeader;
  return pcore;
}

/* The IXF text template of DATE, TIME and TIMESTAMP. */
zorucoreData *ixfDateCore(ucoreCores &cores, int iType)
{
  zorucoreData *pcore = cores.make(SEP | DELIM);
  setTemplate(pcore, iType == 10 ? "CY-M-D" : iType == 11 ? "h.m.s" : "CY-M-D-h.m.s.U", "-", ".");
  return pcore;
}

}  // namespace

TEST(zorucoreprog, DelRowsOfEveryValueKindAreTheColumnFunctionsRows)
{
  ucoreCores cores;
  zorucoreData *pcoreDate = cores.make(SEP);
  setTemplate(pcoreDate, "CYMD", "", "");
  zorucoreData *pcoreTime = cores.make(SEP | DELIM);
  setTemplate(pcoreTime, "h.m.s", "-", ".");
  zorucoreData *pcoreTs = cores.make(SEP | DELIM);
  setTemplate(pcoreTs, "CY-M-D-h.m.s.U", "-", ".");
  /* the sample's EMPLOYEE as the control step makes its columns */
  const std::vector<progCol> vemployee = {
      {0x0007, 0xB107, 6, cores.make(DELIM)},
      {0x0008, 0xB108, 12, cores.make(SEP | DELIM)},
      {0x0008, 0xB108, 15, cores.make(SEP | DELIM)},
      {0x0807, 0xB107, 3, cores.make(SEP | DELIM)},
      {0x0807, 0xB107, 4, cores.make(SEP | DELIM)},
      {0x080A, 0xB03B, 0, pcoreDate},
      {0x080B, 0xB041, 0, pcoreTime},
      {0x0803, 0xB003, 9 << 8 | 2, cores.make(SEP)},
      {0x0803, 0xB003, 9 << 8 | 2, cores.make(SEP)},
      {0x0001, 0xB001, 2, cores.make(SEP)},
      {0x080C, 0xB047, 0, pcoreTs},
      {0x0804, 0xB004, 8, cores.make(SEP)},
      {0x0805, 0xB005, 4, cores.make(SEP)},
      {0x0806, 0xB006, 8, cores.make(SEP)},
      {0x004E, 0xB000, 0, cores.end("\r\n")},
  };
  expectSameRows("EMPLOYEE", vemployee, 4000, 1);

  /* other options: no separator or delimiters, "+", a comma point, plain characters, other delimiters, a null text */
  zorucoreData *pcoreNullText = cores.make(SEP | ZORUCORE_FLAG_NULLTEXT);
  ucoreSetDefault(pcoreNullText, "NULL");
  const std::vector<progCol> voptions = {
      {0x0801, 0xB001, 2, cores.make(PLUS)},
      {0x0802, 0xB002, 4, pcoreNullText},
      {0x0002, 0xB002, 4, cores.make(SEP | PLUS, ";")},
      {0x0806, 0xB006, 8, cores.make(SEP, "|")},
      {0x0003, 0xB003, 1 << 8 | 0, cores.make(SEP, ",", '"', ",")},
      {0x0803, 0xB003, 2 << 8 | 1, cores.make(SEP, ",", '"', ",")},
      {0x0003, 0xB003, 6 << 8 | 0, cores.make(SEP)},
      {0x0003, 0xB003, 15 << 8 | 15, cores.make(SEP)},
      {0x0803, 0xB003, 16 << 8 | 3, cores.make(SEP)},
      {0x0003, 0xB003, 31 << 8 | 10, cores.make(SEP)},
      {0x0007, 0xB007, 1, cores.make(SEP | DELIM, ",", '\'')},
      {0x0807, 0xB007, 17, cores.make(SEP)},
      {0x0007, 0xB107, 9, cores.make(SEP | DELIM, ",", '\'')},
      {0x0807, 0xB107, 40, cores.make(SEP | DELIM)},
      {0x0808, 0xB008, 30, cores.make(SEP | DELIM)},
      {0x0008, 0xB108, 40, cores.make(SEP, ",", '\'')},
      {0x0004, 0xB004, 8, cores.make(SEP)},
      {0x0005, 0xB005, 4, cores.make(0)},
      {0x004E, 0xB000, 0, cores.end("\n")},
  };
  expectSameRows("options", voptions, 4000, 2);
}

TEST(zorucoreprog, EveryDelDateFormatIsTheColumnFunctionsText)
{
  ucoreCores cores;
  std::vector<progCol> vcol;
  for (int i = 0; i < 16; i++) {
    zorucoreData *pcore = cores.make(SEP | DELIM);
    setTemplate(pcore, apcDateLayouts[i], i % 2 == 0 ? "-" : "/", ".");
    vcol.push_back({static_cast<uint16_t>(i % 3 == 0 ? 0x080A : 0x000A), static_cast<uint16_t>(0xB000 | (COLKEY_DATE_A + i)), 0,
                    pcore});
  }
  for (int i = 0; i < 5; i++) {
    zorucoreData *pcore = cores.make(SEP | (i % 2 == 0 ? DELIM : 0));
    setTemplate(pcore, apcTimeLayouts[i], "-", i == 1 ? ":" : ".");
    vcol.push_back({static_cast<uint16_t>(i % 2 == 0 ? 0x080B : 0x000B), static_cast<uint16_t>(0xB000 | (COLKEY_TIME_A + i)), 0,
                    pcore});
  }
  for (int i = 0; i < 6; i++) {
    zorucoreData *pcore = cores.make(SEP | DELIM);
    setTemplate(pcore, apcTsLayouts[i], i == 0 ? "/" : "-", ".");
    vcol.push_back({static_cast<uint16_t>(i % 2 == 0 ? 0x080C : 0x000C), static_cast<uint16_t>(0xB000 | (COLKEY_TS_A + i)), 0,
                    pcore});
  }
  vcol.push_back({0x004E, 0xB000, 0, cores.end("\n")});
  expectSameRows("dates", vcol, 3000, 3);

  /* groups written over one another: the later one stays */
  zorucoreData *pcoreOverlap = cores.make(SEP | DELIM);
  setTemplate(pcoreOverlap, "CY-M-D-h.m.s.U", "-", ".");
  pcoreOverlap->asPos[ZORUCORE_POS_DAY] = pcoreOverlap->asPos[ZORUCORE_POS_MONTH];
  pcoreOverlap->asPos[ZORUCORE_POS_SECOND] = static_cast<int16_t>(pcoreOverlap->asPos[ZORUCORE_POS_MICRO] + 1);
  const std::vector<progCol> voverlap = {{0x080C, 0xB047, 0, pcoreOverlap}, {0x004E, 0xB000, 0, cores.end("\n")}};
  expectSameRows("overlapping groups", voverlap, 500, 6);

  /* positions the converter refuses (a group past its template) leave the column to it */
  zorucoreData *pcoreBad = cores.make(SEP);
  setTemplate(pcoreBad, "CY-M-D", "-", ".");
  pcoreBad->asPos[ZORUCORE_POS_DAY] = 9;
  const std::vector<progCol> vbad = {{0x0001, 0xB001, 2, cores.make(0)},
                                     {0x000A, 0xB033, 0, pcoreBad},
                                     {0x004E, 0xB000, 0, cores.end("\n")}};
  expectSameRows("refused template", vbad, 200, 4, false);
}

TEST(zorucoreprog, IxfRowsOfEveryValueKindAreTheColumnFunctionsRows)
{
  ucoreCores cores;
  std::vector<progCol> vcol = {
      {0x004E, 0x8000, 8, ixfHeader(cores)},
      {0x0001, 0x8001, 2, cores.make(SEP | DELIM)},
      {0x0801, 0x8801, 2, cores.make(SEP | DELIM)},
      {0x0002, 0x8002, 4, cores.make(SEP | DELIM)},
      {0x0806, 0x8806, 8, cores.make(SEP | DELIM)},
      {0x0005, 0x8005, 4, cores.make(SEP | DELIM)},
      {0x0804, 0x8804, 8, cores.make(SEP | DELIM)},
      {0x0803, 0x8803, 9 << 8 | 2, cores.make(SEP | DELIM)},
      {0x0003, 0x8003, 10 << 8 | 3, cores.make(SEP | DELIM)},
      {0x0807, 0x8807, 5, cores.make(SEP | DELIM)},
      {0x000D, 0x800D, 3, cores.make(SEP | DELIM)},
      {0x0808, 0x8808, 20, cores.make(SEP | DELIM)},
      {0x000E, 0x800E, 6, cores.make(SEP | DELIM)},
      {0x080A, 0x880A, 0, ixfDateCore(cores, 10)},
      {0x000B, 0x800B, 0, ixfDateCore(cores, 11)},
      {0x080C, 0x880C, 0, ixfDateCore(cores, 12)},
      {0x004D, 0x8000, 6, ixfEnd(cores, 0)},
  };
  expectSameRows("IXF", vcol, 4000, 5);
}

TEST(zorucoreprog, ProgramsAreMadeWhereAColumnHasAStepOfItsOwn)
{
  ucoreCores cores;
  /* a date format whose positions leave bytes of its text unwritten: no program */
  zorucoreData *pcoreHoles = cores.make(SEP);
  setTemplate(pcoreHoles, "Y-M-D", "-", ".");   /* DATE_J writes 6 of its 8 bytes */
  progConverter holes({{0x0001, 0xB001, 2, cores.make(0)}, {0x000A, 0xB03A, 0, pcoreHoles}});
  ASSERT_NE(holes.pconvert, nullptr);
  EXPECT_EQ(holes.pconvert->pProgram, nullptr);

  /* only columns that need their functions (code-page conversion): no program */
  zorucoreData *pcoreUtf16 = cores.end("\n");
  pcoreUtf16->pconvToUtf16 = reinterpret_cast<UConverter *>(pcoreUtf16);    /* never used: no row converts */
  pcoreUtf16->pconvFromUtf16 = reinterpret_cast<UConverter *>(pcoreUtf16);
  progConverter calls({{0x0007, 0xB207, 4, cores.make(0)}, {0x004E, 0xB000, 0, pcoreUtf16}});
  ASSERT_NE(calls.pconvert, nullptr);
  EXPECT_EQ(calls.pconvert->pProgram, nullptr);
  pcoreUtf16->pconvToUtf16 = pcoreUtf16->pconvFromUtf16 = nullptr;

  /* rows fetched through CLI: no program */
  progConverter cli({{0xD001, 0xB001, 2, cores.make(0)}, {0xD04E, 0xB000, 0, cores.end("\n")}});
  ASSERT_NE(cli.pconvert, nullptr);
  EXPECT_EQ(cli.pconvert->pProgram, nullptr);

  /* a clone has a program of its own, which converts as the original's */
  progConverter plain({{0x0002, 0xB002, 4, cores.make(0)}, {0x004E, 0xB000, 0, cores.end("\n")}});
  ASSERT_NE(plain.pconvert->pProgram, nullptr);
  oconvert *pclone = oconvertClone(plain.pconvert);
  ASSERT_NE(pclone, nullptr);
  EXPECT_NE(pclone->pProgram, nullptr);
  EXPECT_NE(pclone->pProgram, plain.pconvert->pProgram);
  oconvertDestroy(pclone);
}

TEST(zorucoreprog, AReplacedColumnFunctionIsCalledInsteadOfTheStep)
{
  ucoreCores cores;
  progConverter conv({{0x0002, 0xB002, 4, cores.make(0)}, {0x004E, 0xB000, 0, cores.end("\n")}});
  ASSERT_NE(conv.pconvert->pProgram, nullptr);
  ucoreBytes data;
  data.le32(0, 42);
  std::vector<unsigned char> vRecord = ucoreRecord(4, data);
  EXPECT_EQ(conv.convert(vRecord, 64, '#', true).strText, "42\n");
  oconvertFunc funcSaved = conv.pconvert->pfunc[0];
  conv.pconvert->pfunc[0] = [](orow *prowSource, orow *prowTarget) {
    *prowTarget->pcCursor++ = '*';
    prowSource->iCurrent++;
    prowTarget->iCurrent++;
    return 0;
  };
  EXPECT_EQ(conv.convert(vRecord, 64, '#', true).strText, "*\n");
  conv.pconvert->pfunc[0] = funcSaved;
}
