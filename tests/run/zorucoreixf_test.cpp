/*
** zorucoreixf_test.cpp
**   IXF converters: the exact bytes of every column type in a D record, with
**   and without null indicator, nulls and columns added after the record
**   was written, LOB file references and location specifiers, dates from
**   templates, rows fetched through CLI, whole D records framed by the
**   header and end columns, and values or buffers that cannot hold a field.
*/
#include "run/zorucoreixf.h"

#include <gtest/gtest.h>

#include "model/oconvert.h"
#include "run/zorucorechar.h"
#include "run/zorucorecli.h"
#include "run/zorucoredel.h"
#include "tests/run/ucoretest.h"

using namespace std::string_literals;

namespace {

/* Bytes as a readable string for failure messages. */
std::string hex(const std::string &str)
{
  static const char acHex[] = "0123456789abcdef";
  std::string strOut;
  for (unsigned char uc : str) {
    if (uc >= 0x20 && uc < 0x7F && uc != '\\') strOut += static_cast<char>(uc);
    else {
      strOut += "\\x";
      strOut += acHex[uc >> 4];
      strOut += acHex[uc & 0xF];
    }
  }
  return strOut;
}

std::string zeros(size_t ul) { return std::string(ul, '\0'); }

/* The IXF text template of DATE, TIME and TIMESTAMP as the control step prepares it. */
void setIxfTemplate(zorucoreData *pcore, int iType)
{
  const char *pcText = iType == 10 ? "0000-00-00" : iType == 11 ? "00.00.00" : "0000-00-00-00.00.00.000000";
  static const int16_t asDate[] = {0, 2, 5, 8, -1, -1, -1, -1};
  static const int16_t asTime[] = {-1, -1, -1, -1, 0, 3, 6, -1};
  static const int16_t asTs[] = {0, 2, 5, 8, 11, 14, 17, 20};
  const int16_t *ps = iType == 10 ? asDate : iType == 11 ? asTime : asTs;
  for (int i = 0; i < ZORUCORE_POS_COUNT; i++) pcore->asPos[i] = ps[i];
  size_t ulLength = std::strlen(pcText);
  std::free(pcore->pcTemplate);
  pcore->pcTemplate = static_cast<char *>(std::malloc(ulLength));
  std::memcpy(pcore->pcTemplate, pcText, ulLength);
  pcore->sTemplateLength = static_cast<int16_t>(ulLength);
}

/* Record data with a VARCHAR-style slot at 0 (offset 8, length), null byte at 4, bytes at 8. */
ucoreBytes varData(const std::string &strValue, uint8_t ucNull = 0)
{
  ucoreBytes data;
  data.le16(0, 8).le16(2, static_cast<uint16_t>(strValue.size())).put(4, {ucNull}).put(8, strValue);
  return data;
}

/* Slot at 0 pointing at a long-field descriptor at 8; bytes at 20. */
ucoreBytes longData(const std::string &strValue, uint8_t ucNull = 0)
{
  ucoreBytes data;
  data.le16(0, 8).le16(2, 12).put(4, {ucNull});
  data.le32(8, static_cast<uint32_t>(strValue.size())).le32(16, 20).put(20, strValue);
  return data;
}

/* Slot at 0 pointing at a 60-byte LOB descriptor at 8 (full length ilFull); bytes held at 68. */
ucoreBytes lobData(const std::string &strHeld, uint8_t ucNull = 0, uint32_t ulFull = 123456)
{
  ucoreBytes data;
  data.le16(0, 8).le16(2, 60).put(4, {ucNull});
  data.le32(8 + 8, ulFull).le32(8 + 12, static_cast<uint32_t>(strHeld.size())).le32(8 + 56, 68);
  data.grow(68);
  data.put(68, strHeld);
  return data;
}

/* A value at offset 0 followed by its null byte. */
ucoreBytes valueData(const std::string &strValue, uint8_t ucNull = 0)
{
  ucoreBytes data;
  data.put(0, strValue).put(strValue.size(), {ucNull});
  return data;
}

struct ixfCase {
  const char *pcName;
  uint16_t    usSource, usTarget;
  int32_t     iLength;
  int16_t     sFixed;
  ucoreBytes  data;
  std::string strBytes;
  int         iTemplate = 0;   /* 10, 11, 12: give the core the IXF date/time template */
};

/*
** Converts one column into a buffer of exactly the expected size (a byte
** written past it is caught by AddressSanitizer); flags SEP and DELIM are set
** as the control step sets them on every column, and must not show.
*/
void runCases(const std::vector<ixfCase> &vcase)
{
  for (const ixfCase &c : vcase) {
    ucoreCores cores;
    zorucoreData *pcore = cores.make(ZORUCORE_FLAG_SEP | ZORUCORE_FLAG_DELIM);
    if (c.iTemplate != 0) setIxfTemplate(pcore, c.iTemplate);
    std::string strOut;
    int iRc = ucoreConvert({{c.usSource, c.usTarget, c.iLength, 0, pcore}}, ucoreRecord(c.sFixed, c.data), &strOut,
                           c.strBytes.size() + (c.strBytes.empty() ? 1 : 0));
    EXPECT_EQ(iRc, 0) << c.pcName;
    EXPECT_EQ(hex(strOut), hex(c.strBytes)) << c.pcName;
  }
}

/* The code of one conversion into a buffer of ulCapacity bytes. */
int convertCode(uint16_t usSource, uint16_t usTarget, int32_t iLength, int16_t sFixed, const ucoreBytes &data,
                size_t ulCapacity, int iTemplate = 0)
{
  ucoreCores cores;
  zorucoreData *pcore = cores.make(0);
  if (iTemplate != 0) setIxfTemplate(pcore, iTemplate);
  std::string strOut;
  return ucoreConvert({{usSource, usTarget, iLength, 0, pcore}}, ucoreRecord(sFixed, data), &strOut, ulCapacity);
}

}  // namespace

TEST(zorucoreIxf, FixedWidthValuesAndNullIndicators)
{
  ucoreBytes decimal = valueData("\x12\x34\x5C"s);   /* DECIMAL(5,2) 123.45 */
  runCases({
    {"SMALLINT", 0x0001, 0x8001, 2, 3, valueData("\x05\x00"s), "\x05\x00"s},
    {"nullable SMALLINT", 0x0801, 0x8801, 2, 3, valueData("\xFF\x7F"s), "\x00\x00\xFF\x7F"s},
    {"INTEGER", 0x0002, 0x8002, 4, 5, valueData("\x01\x02\x03\x04"s), "\x01\x02\x03\x04"s},
    {"nullable INTEGER, null: value bytes zero", 0x0802, 0x8802, 4, 5, valueData("\x01\x02\x03\x04"s, 1),
     "\xFF\xFF"s + zeros(4)},
    {"BIGINT", 0x0006, 0x8006, 8, 9, valueData("\x01\x02\x03\x04\x05\x06\x07\x88"s), "\x01\x02\x03\x04\x05\x06\x07\x88"s},
    {"nullable BIGINT", 0x0806, 0x8806, 8, 9, valueData("12345678"), "\x00\x00"s + "12345678"},
    {"REAL", 0x0005, 0x8005, 4, 5, valueData("\x00\x00\xC0\x3F"s), "\x00\x00\xC0\x3F"s},
    {"nullable DOUBLE, null", 0x0804, 0x8804, 8, 9, valueData("ABCDEFGH", 7), "\xFF\xFF"s + zeros(8)},
    {"DOUBLE", 0x0004, 0x8004, 8, 9, valueData("ABCDEFGH"), "ABCDEFGH"},
    {"DECIMAL packed as held", 0x0003, 0x8003, 0x0502, 4, decimal, "\x12\x34\x5C"s},
    {"nullable DECIMAL(31,2), null", 0x0803, 0x8803, 0x1F02, 17, valueData(zeros(16), 1), "\xFF\xFF"s + zeros(16)},
    {"CHAR keeps its blanks", 0x0007, 0x8007, 5, 6, valueData("ab   "), "ab   "},
    {"nullable CHAR", 0x0807, 0x8807, 5, 6, valueData("ab   "), "\x00\x00"s + "ab   "},
    {"GRAPHIC: twice the length", 0x000D, 0x800D, 2, 5, valueData("\x30\x42\x00\x41"s), "\x30\x42\x00\x41"s},
    {"nullable GRAPHIC, null", 0x080D, 0x880D, 2, 5, valueData("\x30\x42\x00\x41"s, 1), "\xFF\xFF"s + zeros(4)},
  });
}

TEST(zorucoreIxf, VariableValues)
{
  runCases({
    {"VARCHAR(10) 'abc': length, bytes, zeros", 0x0008, 0x8008, 10, 5, varData("abc"), "\x03\x00"s + "abc" + zeros(7)},
    {"VARCHAR(3) full", 0x0008, 0x8008, 3, 5, varData("xyz"), "\x03\x00xyz"s},
    {"nullable VARCHAR(4), empty", 0x0808, 0x8808, 4, 5, varData(""), "\x00\x00\x00\x00"s + zeros(4)},
    {"nullable VARCHAR(4), null", 0x0808, 0x8808, 4, 5, varData("ab", 1), "\xFF\xFF"s + zeros(6)},
    {"VARGRAPHIC(3): length in characters", 0x000E, 0x800E, 3, 5, varData("\x00\x41\x00\x42"s),
     "\x02\x00\x00\x41\x00\x42"s + zeros(2)},
    {"LONG VARCHAR", 0x0009, 0x8009, 0, 5, longData("long text"), "\x09\x00long text"s},
    {"nullable LONG VARCHAR, null: nothing reserved", 0x0809, 0x8809, 0, 5, longData("x", 1), "\xFF\xFF"s},
    {"LONG VARGRAPHIC of 6 bytes", 0x000F, 0x800F, 0, 5, longData("\x30\x42\x30\x44\x30\x46"s),
     "\x03\x00\x30\x42\x30\x44\x30\x46"s},
    {"BLOB held", 0x0010, 0x8010, 0, 5, lobData("\x01\x00\x02"s), "\x03\x00\x00\x00\x01\x00\x02"s},
    {"nullable CLOB held", 0x0811, 0x8811, 0, 5, lobData("clob"), "\x00\x00\x04\x00\x00\x00"s + "clob"},
    {"DBCLOB and nullable DBCLOB: length in bytes", 0x0012, 0x8012, 0, 5, lobData("\x00\x41\x00\x42"s),
     "\x04\x00\x00\x00\x00\x41\x00\x42"s},
    {"nullable DBCLOB", 0x0812, 0x8812, 0, 5, lobData("\x00\x41\x00\x42"s), "\x00\x00\x04\x00\x00\x00\x00\x41\x00\x42"s},
    {"nullable BLOB, null", 0x0810, 0x8810, 0, 5, lobData("x", 1), "\xFF\xFF"s},
  });
}

TEST(zorucoreIxf, DatesTimesAndTimestampsFromTheirTemplate)
{
  ucoreBytes ts = valueData("\x20\x24\x02\x29\x13\x05\x59\x01\x23\x45"s);
  runCases({
    {"DATE", 0x000A, 0x800A, 0, 5, valueData("\x20\x24\x02\x29"s), "2024-02-29", 10},
    {"nullable DATE", 0x080A, 0x880A, 0, 5, valueData("\x19\x99\x12\x31"s), "\x00\x00"s + "1999-12-31", 10},
    {"nullable DATE, null", 0x080A, 0x880A, 0, 5, valueData("\x19\x99\x12\x31"s, 1), "\xFF\xFF"s + zeros(10), 10},
    {"TIME", 0x000B, 0x800B, 0, 4, valueData("\x12\x30\x05"s), "12.30.05", 11},
    {"nullable TIME, null", 0x080B, 0x880B, 0, 4, valueData("\x12\x30\x05"s, 1), "\xFF\xFF"s + zeros(8), 11},
    {"TIMESTAMP", 0x000C, 0x800C, 0, 11, ts, "2024-02-29-13.05.59.012345", 12},
    {"nullable TIMESTAMP", 0x080C, 0x880C, 0, 11, ts, "\x00\x00"s + "2024-02-29-13.05.59.012345", 12},
  });
  /* no template, or digits that are none: the row is not written */
  EXPECT_EQ(convertCode(0x000A, 0x800A, 0, 5, valueData("\x20\x24\x02\x29"s), 64), ZORUCORE_RC_BADVALUE);
  EXPECT_EQ(convertCode(0x000A, 0x800A, 0, 5, valueData("\x20\x2A\x02\x29"s), 64, 10), ZORUCORE_RC_BADVALUE);
}

TEST(zorucoreIxf, LobFileReferencesAndLocationSpecifiers)
{
  std::string strRef = "\x07\x00\x00\x00"s + "\x40\xE2\x01\x00"s + "\x02\x00\x00\x00"s + "lob.001\0"s;
  std::string strLls = "lob.001.0.5/";
  ucoreBytes beyond(4);
  runCases({
    /* the name's length leaves out the zero byte the reader stored, as on the CLI path */
    {"BLOB in a file", 0x0010, 0x8410, 0, 5, lobData("lob.001\0"s), strRef + zeros(268 - strRef.size())},
    {"BLOB in a file, name without zero byte", 0x0010, 0x8410, 0, 5, lobData("lob.001"s),
     strRef + zeros(268 - strRef.size())},
    {"nullable CLOB in a file", 0x0811, 0x8C11, 0, 5, lobData("lob.001\0"s), "\x00\x00"s + strRef + zeros(268 - strRef.size())},
    {"nullable DBCLOB in a file, null", 0x0812, 0x8C12, 0, 5, lobData("lob.001\0"s, 1), "\xFF\xFF"s + zeros(268)},
    {"nullable CLOB in a file, beyond the record", 0x0811, 0x8C11, 0, 0, beyond, "\xFF\xFF"s + zeros(268)},
    {"BLOB location specifier", 0x0810, 0x8D10, 0, 5, lobData(strLls + "\0"s), "\x00\x00"s + strLls + zeros(243)},
    {"CLOB location specifier without zero byte", 0x0811, 0x8D11, 0, 5, lobData(strLls),
     "\x00\x00"s + strLls + zeros(243)},
    {"non-nullable BLOB location specifier", 0x0010, 0x8510, 0, 5, lobData(strLls + "\0"s), strLls + zeros(243)},
    /* a null LOB is a null with location specifiers too: the indicator and an empty field */
    {"null CLOB location specifier", 0x0811, 0x8D11, 0, 5, lobData(strLls, 1), "\xFF\xFF"s + zeros(255)},
    {"DBCLOB location specifier beyond the record", 0x0812, 0x8D12, 0, 0, beyond, "\xFF\xFF"s + zeros(255)},
  });
  /* a name or specifier longer than its field would overrun the next column */
  EXPECT_EQ(convertCode(0x0010, 0x8410, 0, 5, lobData(std::string(257, 'n')), 4096), ZORUCORE_RC_BADVALUE);
  EXPECT_EQ(convertCode(0x0010, 0x8410, 0, 5, lobData(std::string(256, 'n') + "\0"s), 4096), ZORUCORE_RC_BADVALUE);
  EXPECT_EQ(convertCode(0x0010, 0x8410, 0, 5, lobData(std::string(255, 'n') + "\0"s), 268), 0);
  EXPECT_EQ(convertCode(0x0810, 0x8D10, 0, 5, lobData(std::string(254, 's')), 4096), ZORUCORE_RC_BADVALUE);
  EXPECT_EQ(convertCode(0x0810, 0x8D10, 0, 5, lobData(std::string(253, 's')), 257), 0);
}

TEST(zorucoreIxf, ColumnsAddedAfterTheRecordWasWritten)
{
  ucoreBytes beyond(8);
  std::vector<ixfCase> vcase = {
    {"nullable SMALLINT: null", 0x0801, 0x8801, 2, 0, beyond, "\xFF\xFF\x00\x00"s},
    {"nullable VARCHAR(3): null", 0x0808, 0x8808, 3, 0, beyond, "\xFF\xFF"s + zeros(5)},
    {"nullable LONG VARCHAR: null", 0x0809, 0x8809, 0, 0, beyond, "\xFF\xFF"s},
  };
  runCases(vcase);

  struct {
    const char *pcName;
    uint16_t    usSource, usTarget;
    int32_t     iLength;
    std::string strDefault, strBytes;
    size_t      ulRoom = 0;   /* room past the field, for a default copied whole before it is cut */
  } adefault[] = {
    {"SMALLINT default 5", 0x0001, 0x8001, 2, "\x05\x00"s, "\x05\x00"s},
    /* a default shorter than the field is padded, so the next column stays in place */
    {"CHAR(4) default 'ab': blank-padded", 0x0007, 0x8007, 4, "ab", "ab  "},
    {"CHAR(2) default longer than the column: cut", 0x0007, 0x8007, 2, "abc", "ab", 1},
    {"INTEGER without default", 0x0002, 0x8002, 4, "", zeros(4)},
    {"VARCHAR(4) default", 0x0008, 0x8008, 4, "\x02\x00xy"s, "\x02\x00xy"s + zeros(2)},
    {"LONG VARCHAR default", 0x0009, 0x8009, 0, "\x01\x00z"s, "\x01\x00z"s},
    {"LONG VARCHAR without default: empty value", 0x0009, 0x8009, 0, "", "\x00\x00"s},
    {"BLOB without default: empty value", 0x0010, 0x8010, 0, "", zeros(4)},
  };
  for (auto &c : adefault) {
    ucoreCores cores;
    zorucoreData *pcore = cores.make(0);
    if (!c.strDefault.empty()) ucoreSetDefault(pcore, c.strDefault);
    std::string strOut;
    int iRc = ucoreConvert({{c.usSource, c.usTarget, c.iLength, 0, pcore}}, ucoreRecord(0, beyond), &strOut,
                           c.strBytes.size() + c.ulRoom);
    EXPECT_EQ(iRc, 0) << c.pcName;
    EXPECT_EQ(hex(strOut), hex(c.strBytes)) << c.pcName;
  }
}

TEST(zorucoreIxf, RowsFetchedThroughCli)
{
  /* fixed values: the value, then an i32 indicator */
  ucoreBytes intValue;
  intValue.le32(0, 0x01020304).le32(4, 0);
  ucoreBytes intNull;
  intNull.le32(0, 0x01020304).le32(4, 0xFFFFFFFF);
  /* variable values: slot (offset, maximum, length or indicator), bytes in the variable part */
  auto cliVar = [](const std::string &strValue, int32_t iIndicator, uint32_t ulMax = 10) {
    ucoreBytes data;
    data.le32(0, 16).le32(4, ulMax).le32(8, static_cast<uint32_t>(iIndicator)).put(16, strValue);
    return data;
  };
  auto cliText = [](const std::string &strText, int32_t iIndicator = 0) {
    ucoreBytes data;
    data.put(0, strText).le32(strText.size(), static_cast<uint32_t>(iIndicator));
    return data;
  };
  /* a file reference: the name, then the LOB's length */
  ucoreBytes ref = cliVar("lob.001", 7);
  ref.le32(16 + 7, 20000);
  std::string strRef = "\x07\x00\x00\x00"s + "\x20\x4E\x00\x00"s + "\x02\x00\x00\x00"s + "lob.001";
  std::string strLls = "lob.001.12.20000/";
  std::string strLong(40000, 'c');
  runCases({
    {"nullable INTEGER", 0xD802, 0x8802, 4, 12, intValue, "\x00\x00\x04\x03\x02\x01"s},
    {"nullable INTEGER, null", 0xD802, 0x8802, 4, 12, intNull, "\xFF\xFF"s + zeros(4)},
    {"CHAR", 0xD007, 0x8007, 3, 12, cliText("abc"), "abc"},
    {"VARCHAR(10) 'abc'", 0xD008, 0x8008, 10, 16, cliVar("abc", 3), "\x03\x00"s + "abc" + zeros(7)},
    {"nullable VARCHAR, null", 0xD808, 0x8808, 10, 16, cliVar("abc", -1), "\xFF\xFF"s + zeros(12)},
    {"LONG VARCHAR", 0xD009, 0x8009, 100, 16, cliVar("long", 4), "\x04\x00long"s},
    {"nullable LONG VARCHAR, null", 0xD809, 0x8809, 100, 16, cliVar("long", -1), "\xFF\xFF"s},
    {"DATE", 0xD00A, 0x800A, 10, 16, cliText("2024-02-29"), "2024-02-29", 10},
    {"nullable TIME, null", 0xD80B, 0x880B, 8, 16, cliText("12.30.00", -1), "\xFF\xFF"s + zeros(8), 11},
    {"TIMESTAMP", 0xD80C, 0x880C, 26, 32, cliText("2024-02-29-13.05.59.012345"),
     "\x00\x00"s + "2024-02-29-13.05.59.012345", 12},
    {"CLOB of 40000 bytes: its first 32700", 0xD011, 0x8011, 40000, 16, cliVar(strLong, 40000),
     "\xBC\x7F\x00\x00"s + strLong.substr(0, 32700)},
    {"nullable BLOB, null", 0xD810, 0x8810, 40000, 16, cliVar("", -1), "\xFF\xFF"s},
    {"CLOB in a file", 0xD011, 0x8411, 1000, 16, ref, strRef + zeros(268 - strRef.size())},
    {"nullable BLOB in a file", 0xD810, 0x8C10, 1000, 16, ref, "\x00\x00"s + strRef + zeros(268 - strRef.size())},
    {"nullable BLOB in a file, null", 0xD810, 0x8C10, 1000, 16, cliVar("", -1), "\xFF\xFF"s + zeros(268)},
    {"CLOB location specifier", 0xD011, 0x8511, 1000, 16, cliVar(strLls, 17), strLls + zeros(255 - 17)},
    {"nullable BLOB location specifier, null", 0xD810, 0x8D10, 1000, 16, cliVar("", -1),
     "\xFF\xFF"s + zeros(255)},
  });
  /* a value longer than the column, a slot that points outside the row, a bad date */
  EXPECT_EQ(convertCode(0xD008, 0x8008, 2, 16, cliVar("abc", 3), 64), ZORUCORE_RC_BADVALUE);
  EXPECT_EQ(convertCode(0xD008, 0x8008, 10, 16, cliVar("abc", 30), 64), ZORUCORE_RC_BADVALUE);
  EXPECT_EQ(convertCode(0xD00A, 0x800A, 10, 16, cliText("2024-0X-29"), 64, 10), ZORUCORE_RC_BADVALUE);
  EXPECT_EQ(convertCode(0xD011, 0x8411, 1000, 16, cliVar(std::string(256, 'n'), 256), 4096), ZORUCORE_RC_BADVALUE);
  EXPECT_EQ(convertCode(0xD011, 0x8511, 1000, 16, cliVar(std::string(256, 's'), 256), 4096), ZORUCORE_RC_BADVALUE);
}

TEST(zorucoreIxf, ValuesThatDoNotFitTheirFieldDropTheRow)
{
  /* VARCHAR longer than its maximum; LONG VARCHAR beyond what a 16-bit length holds; odd graphic bytes */
  EXPECT_EQ(convertCode(0x0008, 0x8008, 2, 5, varData("abc"), 64), ZORUCORE_RC_BADVALUE);
  EXPECT_EQ(convertCode(0x0009, 0x8009, 0, 5, longData(std::string(32768, 'x')), 40000), ZORUCORE_RC_BADVALUE);
  EXPECT_EQ(convertCode(0x0009, 0x8009, 0, 5, longData(std::string(32767, 'x')), 32769), 0);
  EXPECT_EQ(convertCode(0x000E, 0x800E, 3, 5, varData("abc"), 64), ZORUCORE_RC_BADVALUE);
  /* slots and descriptors outside the record */
  EXPECT_EQ(convertCode(0x0008, 0x8008, 10, 5, ucoreBytes().le16(0, 8).le16(2, 10).put(8, "abc"), 64),
            ZORUCORE_RC_BADVALUE);
  EXPECT_EQ(convertCode(0x0011, 0x8011, 0, 5, lobData("abc").le32(8 + 56, 70), 64), ZORUCORE_RC_BADVALUE);
  EXPECT_EQ(convertCode(0x0011, 0x8411, 0, 5, ucoreBytes().le16(0, 8).put(40, {0}), 4096), ZORUCORE_RC_BADVALUE);
  EXPECT_EQ(convertCode(0x0002, 0x8002, 4, 5, ucoreBytes(3), 64), ZORUCORE_RC_BADVALUE);
}

TEST(zorucoreIxf, FullBufferDropsTheRowWithoutWritingPastIt)
{
  struct {
    const char *pcName;
    uint16_t    usSource, usTarget;
    int32_t     iLength;
    int16_t     sFixed;
    ucoreBytes  data;
    size_t      ulNeed;
    int         iTemplate;
  } acase[] = {
    {"nullable INTEGER", 0x0802, 0x8802, 4, 5, valueData("abcd"), 6, 0},
    {"nullable INTEGER, null", 0x0802, 0x8802, 4, 5, valueData("abcd", 1), 6, 0},
    {"VARCHAR(10)", 0x0808, 0x8808, 10, 5, varData("abc"), 14, 0},
    {"LONG VARCHAR", 0x0009, 0x8009, 0, 5, longData("abcdef"), 8, 0},
    {"CLOB held", 0x0811, 0x8811, 0, 5, lobData("abcdef"), 12, 0},
    {"BLOB in a file", 0x0010, 0x8410, 0, 5, lobData("f\0"s), 268, 0},
    {"location specifier, null", 0x0810, 0x8D10, 0, 5, lobData("x", 1), 257, 0},
    {"DATE", 0x080A, 0x880A, 0, 5, valueData("\x20\x24\x02\x29"s), 12, 10},
    {"SMALLINT beyond the record, default", 0x0001, 0x8001, 2, 0, ucoreBytes(4), 2, 0},
  };
  for (auto &c : acase) {
    EXPECT_EQ(convertCode(c.usSource, c.usTarget, c.iLength, c.sFixed, c.data, c.ulNeed, c.iTemplate), 0) << c.pcName;
    for (size_t ul : {c.ulNeed - 1, size_t{1}})
      EXPECT_EQ(convertCode(c.usSource, c.usTarget, c.iLength, c.sFixed, c.data, ul, c.iTemplate),
                ZORUCORE_RC_NOROOM)
          << c.pcName << " in " << ul;
  }
}

TEST(zorucoreIxf, RowFramedIntoDataRecords)
{
  /*
  ** A nullable INTEGER and a CHAR(5) in D record 1 (their C records give
  ** positions 1 and 7, that is offsets 14 and 20), then a LONG VARCHAR that
  ** ends the record, then a SMALLINT in D record 2.
  */
  ucoreCores cores;
  auto header = [&](const char *pcText) {
    zorucoreData *p = zorucoreDataCreate();
    p->pcharConstant = ocharCreate(8, 850);
    ocharAppendFixed(p->pcharConstant, pcText, 8);
    cores.v.push_back(p);
    return p;
  };
  auto end = [&](int iHeader) {
    zorucoreData *p = zorucoreDataCreate();
    p->iWorkCapacity = iHeader;
    cores.v.push_back(p);
    return p;
  };
  ucoreBytes data;
  data.le32(0, 7).put(4, {0}).put(5, "abcde").le16(10, 16).le16(12, 12);   /* LONG VARCHAR slot at 10 */
  data.le16(14, 0x0102);                                                   /* SMALLINT */
  data.le32(16, 3).le32(24, 28).put(28, "xyz");                            /* long-field descriptor, bytes */
  std::vector<ucoreCol> vcol = {
    {0x004E, 0x8000, 8, 0, header("D001    ")},
    {0x0802, 0x8802, 4, 0, cores.make(0)},
    {0x0007, 0x8007, 5, 5, cores.make(ZORUCORE_FLAG_SEP)},
    {0x0009, 0x8009, 0, 10, cores.make(ZORUCORE_FLAG_SEP)},
    {0x004D, 0x8000, 6, 0, end(0)},
    {0x004E, 0x8000, 8, 0, header("D002    ")},
    {0x0001, 0x8001, 2, 14, cores.make(ZORUCORE_FLAG_SEP)},
    {0x004D, 0x8000, 6, 0, end(5)},
  };
  std::string strRecord1 = "000024D001    "s + "\x00\x00\x07\x00\x00\x00"s + "abcde" + "\x03\x00xyz"s;
  std::string strRecord2 = "000010D002    "s + "\x02\x01"s;
  std::string strOut;
  EXPECT_EQ(ucoreConvert(vcol, ucoreRecord(16, data), &strOut, strRecord1.size() + strRecord2.size()), 0);
  EXPECT_EQ(hex(strOut), hex(strRecord1 + strRecord2));
  EXPECT_EQ(strOut.substr(14, 2), "\x00\x00"s);   /* position 1 */
  EXPECT_EQ(strOut.substr(20, 5), "abcde");       /* position 7 */
}

TEST(zorucoreIxf, ConversionTableIsComplete)
{
  EXPECT_EQ(zorucoreTabCount(), 404);
  oconvertInitModule();
  zorucoreInitModule();
  struct {
    uint16_t     usSource, usTarget;
    oconvertFunc func;   /* NULL: the pair has no converter */
  } acase[] = {
    {0x0803, 0x8803, _zorucore_DecimalN2Ixf},
    {0x0012, 0x8412, _zorucore_Dbclob2IxfLobinfile},
    {0x0812, 0x8D12, _zorucore_DbclobN2IxfLobinfileLLS},
    {0x080F, 0x880F, _zorucore_LongvargraphicN2Ixf},
    {0xD807, 0x8807, _zorucore_CharN2Ixf},
    {0xD011, 0x8511, _zorucore_ClobN2IxfLobinfileLLSSelectDB2},
    {0xD011, 0xB611, _zorucore_VarcharN2DelimitedSelectDB2},
    {0xD810, 0xB410, _zorucore_VarcharN2DelimitedSelectDB2},
    {0xD80A, 0xB23F, _zorucore_DateN2DelimitedSelectDB2},
    {0xD00C, 0x800C, _zorucore_TimestampN2IxfSelectDB2},
    {0x0010, 0x8510, _zorucore_BlobN2IxfLobinfileLLS},   /* non-nullable LOB with location specifier */
    {0x0012, 0x8512, _zorucore_DbclobN2IxfLobinfileLLS},
    {0x0810, 0x8910, nullptr},   /* location specifier without LOB file: the control step forms none */
    {0xD007, 0xB107, _zorucore_Char2DelimitedDD},                    /* CLI: doubled delimiters */
    {0xD807, 0xB307, _zorucore_Char2DelimitedConvertDD},
    {0xD808, 0xB108, _zorucore_VarcharN2DelimitedDDSelectDB2},
    {0xD009, 0xB309, _zorucore_LongvarcharN2DelimitedConvertDDSelectDB2},
    {0xD811, 0xB111, _zorucore_ClobN2DelimitedDDSelectDB2},
    {0xD011, 0xB311, _zorucore_ClobN2DelimitedConvertDDSelectDB2},
    {0xD810, 0xB110, _zorucore_BlobN2DelimitedDDSelectDB2},
    {0x0810, 0xB110, _zorucore_Blob2DelimitedDD},                    /* inline BLOB, doubled */
    {0x080E, 0xB30E, _zorucore_Vargraphic2DelimitedConvertDD},       /* converted graphics, doubled */
    {0x0012, 0xB312, _zorucore_Dbclob2DelimitedConvertDD},
    {0x000D, 0xB10D, nullptr},   /* graphics are doubled only once converted */
    {0xD00D, 0x800D, nullptr},   /* CLI: graphic types */
    {0xD010, 0x8510, _zorucore_BlobN2IxfLobinfileLLSSelectDB2},   /* CLI: BLOB with location specifier */
    {0xD810, 0xB510, _zorucore_VarcharN2DelimitedSelectDB2},
    {0xD011, 0xB711, _zorucore_VarcharN2DelimitedSelectDB2},      /* CLI: CLOB in a file, converted key, LLS */
  };
  for (auto &c : acase)
    EXPECT_EQ(oconvertLookup(orowMakeConvertKey(c.usSource, c.usTarget)), c.func)
        << std::hex << c.usSource << " " << c.usTarget;
  oconvertDestroyModule();
}
