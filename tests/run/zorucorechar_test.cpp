/*
** zorucorechar_test.cpp
**   DEL converters of characters, graphics and LOBs: the bytes as held,
**   doubled delimiters, code-page conversion through ICU (with and without
**   the UTF-16 ends), LOB file references and location specifiers; records
**   whose slots or descriptors point outside them, and full buffers.
*/
#include "run/zorucorechar.h"

#include <gtest/gtest.h>

#include <unicode/ucnv.h>

#include "run/zorucoredel.h"
#include "tests/run/ucoretest.h"

namespace {

const uint32_t SEP = ZORUCORE_FLAG_SEP;
const uint32_t DELIM = ZORUCORE_FLAG_DELIM;

/* Record data with one variable value: a 4-byte slot at 0 (offset, length), null byte at 4, bytes at 8. */
ucoreBytes varData(const std::string &strValue, uint8_t ucNull = 0)
{
  ucoreBytes data;
  data.le16(0, 8).le16(2, static_cast<uint16_t>(strValue.size())).put(4, {ucNull}).put(8, strValue);
  return data;
}

/* Slot at 0 pointing at a long-field descriptor at 8 (length, offset of the bytes at 20). */
ucoreBytes longData(const std::string &strValue, uint8_t ucNull = 0)
{
  ucoreBytes data;
  data.le16(0, 8).le16(2, 12).put(4, {ucNull});
  data.le32(8, static_cast<uint32_t>(strValue.size())).le32(16, 20).put(20, strValue);
  return data;
}

/* Slot at 0 pointing at a 60-byte LOB descriptor at 8; bytes held at 68. */
ucoreBytes lobData(const std::string &strHeld, uint8_t ucNull = 0)
{
  ucoreBytes data;
  data.le16(0, 8).le16(2, 60).put(4, {ucNull});
  data.le32(8 + 8, 123456).le32(8 + 12, static_cast<uint32_t>(strHeld.size())).le32(8 + 56, 68);
  data.grow(68);
  data.put(68, strHeld);
  return data;
}

/* ICU converters and a work buffer, shared by the cores of one test. */
struct ucoreIcu {
  UConverter *pconvTo = nullptr;
  UConverter *pconvFrom = nullptr;
  char       *pcWork = nullptr;
  uint32_t    ulWorkSize = 0;
  ucoreIcu(const char *pcTo, const char *pcFrom, uint32_t ulWork)
  {
    UErrorCode err = U_ZERO_ERROR;
    if (pcTo != nullptr) pconvTo = ucnv_open(pcTo, &err);
    if (pcFrom != nullptr) pconvFrom = ucnv_open(pcFrom, &err);
    EXPECT_TRUE(U_SUCCESS(err)) << u_errorName(err);
    ulWorkSize = ulWork;
    pcWork = static_cast<char *>(std::malloc(ulWork));
  }
  ~ucoreIcu()
  {
    if (pconvTo != nullptr) ucnv_close(pconvTo);
    if (pconvFrom != nullptr) ucnv_close(pconvFrom);
    std::free(pcWork);
  }
  void attach(zorucoreData *pcore) const
  {
    pcore->pconvToUtf16 = pconvTo;
    pcore->pconvFromUtf16 = pconvFrom;
    pcore->pcWorkBuffer = pcWork;
    pcore->ulWorkSize = ulWorkSize;
    pcore->iWorkCapacity = static_cast<int32_t>(ulWorkSize / 2);
  }
};

struct textCase {
  const char *pcName;
  uint16_t    usSource, usTarget;
  int32_t     iLength;
  int16_t     sFixed;
  ucoreBytes  data;
  uint32_t    ulFlags;
  std::string strText;   /* without the record end */
};

void runCases(const std::vector<textCase> &vcase, const ucoreIcu *picu = nullptr)
{
  for (const textCase &c : vcase) {
    ucoreCores cores;
    zorucoreData *pcore = cores.make(c.ulFlags);
    if (picu != nullptr) picu->attach(pcore);
    int iRc = -1;
    std::string strText = ucoreOne(cores, {c.usSource, c.usTarget, c.iLength, 0, pcore}, ucoreRecord(c.sFixed, c.data),
                                   &iRc);
    EXPECT_EQ(iRc, 0) << c.pcName;
    EXPECT_EQ(strText, c.strText + "\n") << c.pcName;
  }
}

}  // namespace

TEST(zorucoreChars, BytesAsHeldWithOrWithoutDoubledDelimiters)
{
  using namespace std::string_literals;
  ucoreBytes chr;
  chr.put(0, "ab   ").put(5, {0});
  ucoreBytes chrNull;
  chrNull.put(0, "ab   ").put(5, {1});
  ucoreBytes gra;
  gra.put(0, {0x00, 0x41, 0x30, 0x42}).put(4, {0});
  runCases({
    {"CHAR keeps its blanks", 0x0007, 0xB007, 5, 6, chr, DELIM, "\"ab   \""},
    {"CHAR without delimiters", 0x0007, 0xB007, 5, 6, chr, 0, "ab   "},
    {"nullable CHAR, null", 0x0807, 0xB007, 5, 6, chrNull, DELIM, ""},
    {"nullable CHAR, DD, null", 0x0807, 0xB107, 5, 6, chrNull, DELIM, ""},
    {"VARCHAR, delimiter once", 0x0008, 0xB008, 20, 5, varData("a\"b"), DELIM, "\"a\"b\""},
    {"VARCHAR, delimiter doubled", 0x0008, 0xB108, 20, 5, varData("a\"b\""), DELIM, "\"a\"\"b\"\"\""},
    {"VARCHAR, empty", 0x0808, 0xB008, 20, 5, varData(""), DELIM, "\"\""},
    {"LONG VARCHAR", 0x0809, 0xB009, 0, 5, longData("long \"text\""), DELIM, "\"long \"text\"\""},
    {"LONG VARCHAR, DD", 0x0009, 0xB109, 0, 5, longData("x\"y"), DELIM, "\"x\"\"y\""},
    {"LONG VARCHAR, null", 0x0809, 0xB009, 0, 5, longData("x", 1), DELIM, ""},
    {"GRAPHIC in record order", 0x000D, 0xB00D, 2, 5, gra, DELIM, "\"\x00\x41\x30\x42\""s},
    {"VARGRAPHIC", 0x080E, 0xB00E, 10, 5, varData("\x00\x41"s), DELIM, "\"\x00\x41\""s},
    {"LONG VARGRAPHIC", 0x000F, 0xB00F, 0, 5, longData("\x30\x42"s), DELIM, "\"\x30\x42\""},
    {"CLOB held", 0x0011, 0xB011, 0, 5, lobData("clob \"text\""), DELIM, "\"clob \"text\"\""},
    {"CLOB held, DD", 0x0811, 0xB111, 0, 5, lobData("c\"d"), DELIM, "\"c\"\"d\""},
    {"BLOB raw, DOUBLE DELIM OFF", 0x0010, 0xB010, 0, 5, lobData("\x01\"\x00\n"s), DELIM, "\"\x01\"\x00\n\""s},
    {"BLOB raw, DD", 0x0010, 0xB110, 0, 5, lobData("\x01\"\x00\n"s), DELIM, "\"\x01\"\"\x00\n\""s},
    {"nullable BLOB, DD", 0x0810, 0xB110, 0, 5, lobData("\"\""s), DELIM, "\"\"\"\"\"\""s},
    {"DBCLOB held", 0x0812, 0xB012, 0, 5, lobData("\x00\x41"s), DELIM, "\"\x00\x41\""s},
    {"nullable BLOB, null, no LLS: empty field", 0x0810, 0xB010, 0, 5, lobData("x", 1), DELIM, ""},
  });
}

TEST(zorucoreChars, LobFileReferencesAndLocationSpecifiers)
{
  using namespace std::string_literals;
  ucoreBytes beyond(4);
  runCases({
    /* the reader stores the file name with its closing zero byte; the text has none */
    {"CLOB in a file", 0x0011, 0xB411, 0, 5, lobData("lob_003.001\0"s), DELIM, "\"lob_003.001\""},
    {"BLOB in a file", 0x0810, 0xB410, 0, 5, lobData("lob.001\0"s), DELIM, "\"lob.001\""},
    {"CLOB in a file, converting key: as held", 0x0811, 0xB611, 0, 5, lobData("lob.002\0"s), DELIM, "\"lob.002\""},
    {"DBCLOB in a file, no zero byte", 0x0012, 0xB412, 0, 5, lobData("lob.003"), DELIM, "\"lob.003\""},
    {"BLOB LLS", 0x0810, 0xB510, 0, 5, lobData("lob.001.0.5/\0"s), DELIM, "\"lob.001.0.5/\""},
    /* a null LOB is a null, an empty field, with location specifiers too */
    {"BLOB LLS, null", 0x0810, 0xB510, 0, 5, lobData("lob.001.0.5/", 1), DELIM, ""},
    {"CLOB LLS, beyond the record", 0x0811, 0xB511, 0, 0, beyond, SEP | DELIM, ","},
    {"DBCLOB LLS + convert key, null", 0x0812, 0xB712, 0, 5, lobData("x", 1), DELIM, ""},
    {"non-nullable BLOB LLS", 0x0010, 0xB510, 0, 5, lobData("lob.001.5.7/\0"s), DELIM, "\"lob.001.5.7/\""},
    {"BLOB without LLS, beyond the record: empty", 0x0810, 0xB410, 0, 0, beyond, SEP | DELIM, ","},
  });
}

TEST(zorucoreChars, LongLobHeldIsWrittenWhole)
{
  std::string strHeld(32700, 'x');
  strHeld[0] = 'A';
  strHeld[32699] = 'Z';
  ucoreCores cores;
  int iRc = -1;
  std::string strText = ucoreOne(cores, {0x0011, 0xB011, 0, 0, cores.make(DELIM)}, ucoreRecord(5, lobData(strHeld)),
                                 &iRc, 32703);
  EXPECT_EQ(iRc, 0);
  EXPECT_TRUE(strText == "\"" + strHeld + "\"\n") << strText.size();
}

TEST(zorucoreChars, ConvertedThroughIcu)
{
  /* CCSID 850 -> UTF-8: 0x82 is e acute */
  ucoreIcu icu("ibm-850", "UTF-8", 256);
  ucoreBytes chr;
  chr.put(0, {'a', 0x82, ' '});
  runCases({
    {"CHAR", 0x0007, 0xB207, 3, 3, chr, DELIM, "\"a\xC3\xA9 \""},
    {"nullable VARCHAR", 0x0808, 0xB208, 20, 5, varData("\x82t\x82"), DELIM, "\"\xC3\xA9t\xC3\xA9\""},
    {"VARCHAR, DD", 0x0008, 0xB308, 20, 5, varData("\"\x82\"\""), DELIM, "\"\"\"\xC3\xA9\"\"\"\"\""},
    {"CHAR, DD", 0x0807, 0xB307, 3, 4, ucoreBytes().put(0, {'"', 0x82, '"', 0}), DELIM, "\"\"\"\xC3\xA9\"\"\""},
    {"LONG VARCHAR", 0x0009, 0xB209, 0, 5, longData("\x82"), DELIM, "\"\xC3\xA9\""},
    {"LONG VARCHAR, DD", 0x0809, 0xB309, 0, 5, longData("\"x"), DELIM, "\"\"\"x\""},
    {"CLOB", 0x0011, 0xB211, 0, 5, lobData("\x82"), DELIM, "\"\xC3\xA9\""},
    {"CLOB, DD", 0x0811, 0xB311, 0, 5, lobData("\"\x82"), DELIM, "\"\"\"\xC3\xA9\""},
    {"nullable VARCHAR, null", 0x0808, 0xB208, 20, 5, varData("\x82", 1), DELIM, ""},
  }, &icu);

  /* graphics from UTF-16 (high byte first, no to-UTF-16 converter) into UTF-8, delimiters doubled */
  using namespace std::string_literals;
  ucoreIcu icuGraphic(nullptr, "UTF-8", 256);
  ucoreBytes gra;
  gra.put(0, {0x00, 0x22, 0x00, 0xE9}).put(4, {0});
  runCases({
    {"GRAPHIC, DD", 0x000D, 0xB30D, 2, 5, gra, DELIM, "\"\"\"\xC3\xA9\""},
    {"VARGRAPHIC, DD", 0x080E, 0xB30E, 10, 5, varData("\x00\x22\x00\x22"s), DELIM, "\"\"\"\"\"\""},
    {"LONG VARGRAPHIC, DD", 0x000F, 0xB30F, 0, 5, longData("\x00\x41\x00\x22"s), DELIM, "\"A\"\"\""},
    {"DBCLOB, DD", 0x0812, 0xB312, 0, 5, lobData("\x00\x22"s), DELIM, "\"\"\"\""},
  }, &icuGraphic);
}

TEST(zorucoreChars, Utf16EndsWithoutConverter)
{
  using namespace std::string_literals;
  /* source CCSID 1202 (no to-UTF-16 converter): units held high byte first */
  ucoreIcu fromUtf16(nullptr, "UTF-8", 256);
  runCases({
    {"VARGRAPHIC 1202 -> UTF-8", 0x000E, 0xB20E, 10, 5, varData("\x00\x41\x00\xE9"s), DELIM, "\"A\xC3\xA9\""},
    {"GRAPHIC 1202 -> UTF-8", 0x080D, 0xB20D, 1, 3, ucoreBytes().put(0, {0x30, 0x42, 0}), DELIM, "\"\xE3\x81\x82\""},
    {"DBCLOB 1202 -> UTF-8", 0x0012, 0xB212, 0, 5, lobData("\x00\x42"s), DELIM, "\"B\""},
    {"LONG VARGRAPHIC 1202 -> UTF-8", 0x080F, 0xB20F, 0, 5, longData("\x00\x43"s), DELIM, "\"C\""},
  }, &fromUtf16);
  /* target CCSID 1200 (no from-UTF-16 converter): UTF-16 units written low byte first */
  ucoreIcu toUtf16("ibm-850", nullptr, 256);
  runCases({
    {"VARCHAR 850 -> 1200", 0x0008, 0xB208, 20, 5, varData("A\x82"), DELIM, "\"A\x00\xE9\x00\""s},
    {"VARCHAR 850 -> 1200, DD", 0x0008, 0xB308, 20, 5, varData("A\""), DELIM, "\"A\x00\"\x00\"\x00\""s},
  }, &toUtf16);
}

TEST(zorucoreChars, ConversionThatDoesNotFitDropsTheRow)
{
  ucoreCores cores;
  /* the work buffer holds 4 UTF-16 units: a 10-byte value does not fit */
  ucoreIcu small("ibm-850", "UTF-8", 8);
  zorucoreData *pcore = cores.make(DELIM);
  small.attach(pcore);
  int iRc = 0;
  ucoreOne(cores, {0x0008, 0xB208, 20, 0, pcore}, ucoreRecord(5, varData("0123456789")), &iRc);
  EXPECT_EQ(iRc, ZORUCORE_RC_ICU);

  /* the output buffer: "\"" + 2 x 3 bytes + "\"" + "\n" = 9 bytes */
  ucoreIcu icu("ibm-850", "UTF-8", 64);
  zorucoreData *pcoreOk = cores.make(DELIM);
  icu.attach(pcoreOk);
  auto rec = ucoreRecord(5, varData("\x82\x82"));
  EXPECT_EQ(ucoreOne(cores, {0x0008, 0xB208, 20, 0, pcoreOk}, rec, &iRc, 7), "\"\xC3\xA9\xC3\xA9\"\n");
  EXPECT_EQ(iRc, 0);
  for (size_t ul : {6, 5, 4, 1}) {
    ucoreOne(cores, {0x0008, 0xB208, 20, 0, pcoreOk}, rec, &iRc, ul);
    EXPECT_EQ(iRc, ZORUCORE_RC_NOROOM) << ul;
  }
  /* doubling needs its room: "\"\"\"\"\"\n" */
  auto recDelims = ucoreRecord(5, varData("\"\""));
  ucoreOne(cores, {0x0008, 0xB308, 20, 0, pcoreOk}, recDelims, &iRc, 5);
  EXPECT_EQ(iRc, ZORUCORE_RC_NOROOM);
  ucoreOne(cores, {0x0008, 0xB108, 20, 0, cores.make(DELIM)}, recDelims, &iRc, 5);
  EXPECT_EQ(iRc, ZORUCORE_RC_NOROOM);
  EXPECT_EQ(ucoreOne(cores, {0x0008, 0xB108, 20, 0, cores.make(DELIM)}, recDelims, &iRc, 7), "\"\"\"\"\"\"\n");
  EXPECT_EQ(iRc, 0);
}

TEST(zorucoreChars, SlotOrDescriptorOutsideTheRecordDropsTheRow)
{
  struct {
    const char *pcName;
    uint16_t    usSource, usTarget;
    ucoreBytes  data;
  } acase[] = {
    {"VARCHAR bytes past the end", 0x0008, 0xB008, ucoreBytes().le16(0, 8).le16(2, 10).put(8, "abc")},
    {"VARCHAR slot cut", 0x0008, 0xB008, ucoreBytes(3)},
    {"long-field descriptor past the end", 0x0009, 0xB009, ucoreBytes().le16(0, 8).put(10, {0})},
    {"long field bytes past the end", 0x0009, 0xB009, longData("abc").le32(8, 400)},
    {"long field negative length", 0x0009, 0xB009, longData("abc").le32(8, 0xFFFFFFFF)},
    {"LOB descriptor cut", 0x0011, 0xB011, ucoreBytes().le16(0, 8).put(40, {0})},
    {"LOB bytes past the end", 0x0011, 0xB011, lobData("abc").le32(8 + 56, 70)},
    {"LOB negative offset", 0x0011, 0xB011, lobData("abc").le32(8 + 56, 0xFFFFFFF0)},
    {"LOB in a file, bytes past the end", 0x0011, 0xB411, lobData("abc").le32(8 + 12, 100)},
    {"LLS, bytes past the end", 0x0811, 0xB511, lobData("abc").le32(8 + 12, 100)},
    {"CHAR past the end", 0x0007, 0xB007, ucoreBytes(3)},
  };
  for (auto &c : acase) {
    ucoreCores cores;
    int iRc = 0;
    int32_t iLength = c.usSource == 0x0007 ? 4 : 20;
    ucoreOne(cores, {c.usSource, c.usTarget, iLength, 0, cores.make(DELIM)}, ucoreRecord(4, c.data), &iRc);
    EXPECT_EQ(iRc, ZORUCORE_RC_BADVALUE) << c.pcName;
  }
}

TEST(zorucoreChars, ConvertRoutinesDirectly)
{
  /* without a from-UTF-16 converter, DD doubles 16-bit units equal to the delimiter */
  ucoreIcu icu(nullptr, nullptr, 64);
  ucoreCores cores;
  zorucoreData *pcore = cores.make(0);
  icu.attach(pcore);
  const unsigned char auc[] = {0x00, 0x22, 0x22, 0x00};   /* U+0022, U+2200 */
  char ac[16];
  EXPECT_EQ(UCORE_CONVERTDD(pcore, 4, auc, ac, sizeof ac), 6);
  EXPECT_EQ(std::string(ac, 6), std::string("\x22\x00\x22\x00\x00\x22", 6));
  EXPECT_EQ(UCORE_CONVERT(pcore, 4, auc, ac, sizeof ac), 4);
  EXPECT_EQ(UCORE_CONVERT(pcore, 4, auc, ac, 3), -2);
  EXPECT_EQ(UCORE_CONVERTDD(pcore, 4, auc, ac, 5), -2);
  pcore->pcWorkBuffer = nullptr;
  EXPECT_EQ(UCORE_CONVERT(pcore, 4, auc, ac, sizeof ac), -1);
}

TEST(zorucoreChars, ReplacementsAreMadeAndCounted)
{
  /* UTF-8 -> 819: a character 819 cannot hold and a byte that is no UTF-8 each
     become one substitution character, and each counts once (the U+FFFD the
     first step puts for the bad byte is not counted again by the second); a
     character outside the BMP is one character */
  const struct {
    const char *pcName;
    std::string strSource;
    std::string strOut;
    int64_t llReplaced;
  } aCases[] = {
      {"nothing to replace", "a\xC3\xA9", "a\xE9", 0},
      {"Greek", "\xCE\xA9x", "\x1Ax", 1},
      {"outside the BMP", "\xF0\x9D\x84\x9E", "\x1A", 1},
      {"bad UTF-8 byte", "a\xFF" "b", "a\x1A" "b", 1},
      {"bad byte and U+FFFD", "\xEF\xBF\xBD\xFF", "\x1A\x1A", 2},
      {"U+FFFD", "\xEF\xBF\xBD", "\x1A", 1},
      {"several", "\xE6\x97\xA5\xE6\x9C\xAC\xC3\xA9", "\x1A\x1A\xE9", 2},
  };
  ucoreIcu icu("UTF-8", "ibm-819", 256);
  ASSERT_EQ(zorucoreCountReplaced(icu.pconvTo, icu.pconvFrom), 0);
  ucoreCores cores;
  zorucoreData *pcore = cores.make(0);
  icu.attach(pcore);
  for (const auto &c : aCases) {
    int64_t llBefore = zorucoreReplacedCount();
    char ac[32];
    int32_t ilOut = UCORE_CONVERT(pcore, static_cast<int32_t>(c.strSource.size()),
                                  reinterpret_cast<const unsigned char *>(c.strSource.data()), ac, sizeof ac);
    ASSERT_GE(ilOut, 0) << c.pcName;
    EXPECT_EQ(std::string(ac, static_cast<size_t>(ilOut)), c.strOut) << c.pcName;
    EXPECT_EQ(zorucoreReplacedCount() - llBefore, c.llReplaced) << c.pcName;
  }
  EXPECT_EQ(zorucoreCountReplaced(nullptr, nullptr), 0);
}
