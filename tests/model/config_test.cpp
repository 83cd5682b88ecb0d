/*
** config_test.cpp
**   Configuration under a temporary TOPZAV: the numbered items (key rules,
**   first key wins, defaults, the file read anew, long lines read whole),
**   the instance lists, the user defaults written into the parameter
**   library, the trace keyword list, and the language set-up from LANG or
**   from the configured language and country.
*/
#include "model/config.h"

#include <gtest/gtest.h>

#include "tests/zavtest.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/ochar.h"
#include "common/ocnvft.h"
#include "common/omsgs.h"
#include "common/ostack.h"
#include "model/parm.h"

namespace {

/* An installation directory with cfg/ and TOPZAV pointing at it. */
class configTest : public ::testing::Test {
protected:
  std::string strTop;

  void SetUp() override
  {
    char ac[] = "/tmp/configXXXXXX";
    ASSERT_NE(mkdtemp(ac), nullptr);
    strTop = ac;
    ASSERT_EQ(system(("mkdir " + strTop + "/cfg").c_str()), 0);
    setenv("TOPZAV", strTop.c_str(), 1);
  }
  void TearDown() override
  {
    unsetenv("TOPZAV");
    (void)system(("rm -rf " + strTop).c_str());
  }
  void Write(const char *pcName, const std::string &strText)
  {
    FILE *pfile = fopen((strTop + "/cfg/" + pcName).c_str(), "w");
    ASSERT_NE(pfile, nullptr);
    fputs(strText.c_str(), pfile);
    fclose(pfile);
  }
  void Config(const std::string &strText) { Write(CONFIG_FILE_CFG, strText); }
};

/* The text of a text item, "(null)" for none. */
std::string Text(int iItem)
{
  char *pc = static_cast<char *>(configUseItem(iItem, 1));
  if (pc == nullptr) return "(null)";
  std::string str(pc);
  free(pc);
  return str;
}

/* The value of an integer item, "(null)" for none. */
std::string Int(int iItem)
{
  auto *pil = static_cast<int32_t *>(configUseItem(iItem, 1));
  if (pil == nullptr) return "(null)";
  std::string str = std::to_string(*pil);
  free(pil);
  return str;
}

std::string InList(int iItem, const char *pcInstance)
{
  char *pc = configUseItemInLst(iItem, 1, pcInstance);
  if (pc == nullptr) return "(null)";
  std::string str(pc);
  free(pc);
  return str;
}

}  // namespace

TEST_F(configTest, ItemsFromTheFileAndTheirDefaults)
{
  Config("bufsize = 1000\n"            /* the key holds a blank: unknown */
         "recsize=77\n"
         "#db2dbdft=COMMENT\n"
         " #db2dbdft=UNKNOWN\n"
         "db2instance=a\n"
         "db2instance=b\n"
         "==maxunloads=9\n"           /* leading equal signs are skipped */
         "maxsockets=abc\n"
         "languagecode=\n"
         "no equal sign\n"
         "===\n"
         "ptk002=12x\n"
         "doubledelim=Off\n");
  EXPECT_EQ(Int(CONFIG_ITEM_BUFSIZE), "8388608");
  EXPECT_EQ(Int(CONFIG_ITEM_RECSIZE), "77");
  EXPECT_EQ(Text(CONFIG_ITEM_DB2DBDFT), "SAMPLE");
  EXPECT_EQ(Text(CONFIG_ITEM_DB2INSTANCE), "a");           /* the first line wins */
  EXPECT_EQ(Int(CONFIG_ITEM_MAXUNLOADS), "9");
  EXPECT_EQ(Int(CONFIG_ITEM_MAXSOCKETS), "0");             /* no digits */
  EXPECT_EQ(Text(CONFIG_ITEM_LANGUAGECODE), "");           /* an empty value */
  EXPECT_EQ(Text(CONFIG_ITEM_COUNTRYCODE), "US");
  EXPECT_EQ(Int(CONFIG_ITEM_PTK001), "(null)");            /* neither in the file nor a default */
  EXPECT_EQ(Int(CONFIG_ITEM_PTK002), "12");
  EXPECT_EQ(Int(CONFIG_ITEM_DOUBLEDELIM), "0");
  EXPECT_EQ(Text(CONFIG_ITEM_FILE), strTop + "/cfg/db2zav.cfg");

  EXPECT_EQ(configUseItem(15, 1), nullptr);
  EXPECT_EQ(configUseItem(-1, 1), nullptr);
  EXPECT_EQ(configUseItem(CONFIG_ITEM_RECSIZE, 0), nullptr);

  /* Every look-up reads the file again. */
  Config("recsize=78\n");
  EXPECT_EQ(Int(CONFIG_ITEM_RECSIZE), "78");
  EXPECT_EQ(Text(CONFIG_ITEM_DB2INSTANCE), "db2inst1");
}

TEST_F(configTest, DoubleDelimiterSwitch)
{
  struct Case {
    const char *pcFile, *pcExpected;
  } acases[] = {
      {"doubledelim=on\n", "1"},   {"doubledelim=ON \n", "1"}, {"doubledelim=Off\n", "0"},
      {"doubledelim=yes\n", "1"},  {"doubledelim=No\n", "0"},  {"doubledelim=1\n", "1"},
      {"doubledelim=0\n", "0"},    {"doubledelim=\n", "-1"},   {"doubledelim=online\n", "-1"},
      {"bufsize=1\n", "(null)"},
  };
  for (const Case &c : acases) {
    Config(c.pcFile);
    EXPECT_EQ(Int(CONFIG_ITEM_DOUBLEDELIM), c.pcExpected) << c.pcFile;
  }
}

TEST_F(configTest, NoFileOrNoTopzavGivesNoValue)
{
  EXPECT_EQ(configVerifyTopzav(), 0);
  EXPECT_EQ(Int(CONFIG_ITEM_BUFSIZE), "(null)");     /* no file: not even the default */
  EXPECT_EQ(Text(CONFIG_ITEM_FILE), "(null)");
  EXPECT_EQ(InList(CONFIG_ITEM_INSTHOMES, "db2inst1"), "(null)");
  EXPECT_EQ(configGetDefaultUserParam(), CONFIG_RC_NOFILE);

  Config("bufsize=5\n");
  unsetenv("TOPZAV");
  EXPECT_EQ(configVerifyTopzav(), CONFIG_RC_NOTOPZAV);
  EXPECT_EQ(Int(CONFIG_ITEM_BUFSIZE), "(null)");
}

TEST_F(configTest, InstanceLists)
{
  Config("insthomes=i1:/h1,i2:/h2,bad,i4:/h4,:/empty\n");
  EXPECT_EQ(InList(CONFIG_ITEM_INSTHOMES, "i2"), "/h2");
  EXPECT_EQ(InList(CONFIG_ITEM_INSTHOMES, "i1"), "/h1");
  EXPECT_EQ(InList(CONFIG_ITEM_INSTHOMES, "i4"), "/h4");
  EXPECT_EQ(InList(CONFIG_ITEM_INSTHOMES, "i3"), "(null)");
  EXPECT_EQ(InList(CONFIG_ITEM_INSTHOMES, "bad"), "(null)");     /* an entry without ':' */
  EXPECT_EQ(InList(CONFIG_ITEM_INSTHOMES, "i"), "(null)");       /* names match exactly */
  EXPECT_EQ(InList(CONFIG_ITEM_INSTUSERS, "db2inst1"), "db2inst1");   /* the default list */
  EXPECT_EQ(InList(CONFIG_ITEM_DB2INSTANCE, "i1"), "(null)");
  EXPECT_EQ(configUseItemInLst(CONFIG_ITEM_INSTHOMES, 0, "i1"), nullptr);
}

TEST_F(configTest, LongLinesAreReadWhole)
{
  /* A list of 40 instances; its tail, past 199 bytes, looks like a line of its own. */
  std::string strList;
  for (int i = 0; i < 40; i++) strList += (i ? "," : "") + std::string("inst") + std::to_string(i) + ":/home/inst" + std::to_string(i);
  std::string strPad = "insthomes=" + std::string(189, 'x');
  Config(strPad + "bufsize=5\n" + "insthomes=" + strList + "\ninstusers=" + strList + "\n");
  EXPECT_EQ(Int(CONFIG_ITEM_BUFSIZE), "8388608");
  EXPECT_EQ(InList(CONFIG_ITEM_INSTHOMES, "inst39"), "(null)");    /* the first insthomes line wins */
  EXPECT_EQ(InList(CONFIG_ITEM_INSTUSERS, "inst39"), "/home/inst39");
  EXPECT_EQ(InList(CONFIG_ITEM_INSTUSERS, "inst0"), "/home/inst0");
}

namespace {

/* A field of a parameter-library member, as bytes. */
std::string Field(int iMember, int32_t ilItem, size_t lLength)
{
  const char *pc = static_cast<const char *>(Gaparmlink[iMember].procAccessor(&ilItem));
  return pc == nullptr ? "(none)" : std::string(pc, lLength);
}

struct ParmField {
  int iMember;
  int32_t ilItem;
  size_t lLength;
};
const ParmField aUserFields[] = {
    {PARM_OPTUNL, 1, 3}, {PARM_OPTUNL, 2, 3}, {PARM_OPTUNL, 3, 3},  {PARM_OPTUNL, 5, 1},
    {PARM_OPTUNL, 6, 1}, {PARM_OPTUNL, 7, 2}, {PARM_OPTUNL, 8, 7},  {PARM_OPTUNL, 14, 2},
    {PARM_OPTUNL, 16, 1}, {PARM_OPTUNL, 19, 4}, {PARM_OPTDB2, 10, 1},
};

}  // namespace

TEST_F(configTest, UserDefaultsChangeTheParameterLibrary)
{
  std::vector<std::string> saved;
  for (const ParmField &f : aUserFields) saved.push_back(Field(f.iMember, f.ilItem, f.lLength));

  /* Applied in order, each on what the previous rows left. */
  struct Row {
    const char *pcLine;
    int iMember;
    int32_t ilItem;
    size_t lLength;
    std::string strExpected;
  } arows[] = {
      {"lock=no", PARM_OPTUNL, 2, 3, "NO "},
      {"lock=maybe", PARM_OPTUNL, 2, 3, "NO "},
      {"lock=yesterday", PARM_OPTUNL, 2, 3, "YES"},
      {"lock=", PARM_OPTUNL, 2, 3, "YES"},
      {"quiesce=No", PARM_OPTUNL, 3, 3, "NO "},
      {"db2=NO", PARM_OPTUNL, 1, 3, "NO "},
      {"date=p", PARM_OPTUNL, 5, 1, "P"},
      {"date=z", PARM_OPTUNL, 5, 1, "P"},
      {"time=e", PARM_OPTUNL, 6, 1, "E"},
      {"time=f", PARM_OPTUNL, 6, 1, "E"},
      {"timestamp=c", PARM_OPTUNL, 7, 2, "SC"},
      {"timestamp=g", PARM_OPTUNL, 7, 2, "SC"},
      {"mask=0.* ", PARM_OPTUNL, 19, 4, "0.* "},
      {"mask=00.0x", PARM_OPTUNL, 19, 4, "00.0"},
      {"mask=0.0", PARM_OPTUNL, 19, 4, "0.0 "},
      {"mask=*.0 ", PARM_OPTUNL, 19, 4, "*.0 "},
      {"mask=*.*", PARM_OPTUNL, 19, 4, "*.0 "},     /* four characters or nothing */
      {"pic=+TRAIL,", PARM_OPTUNL, 8, 7, "+TRAIL,"},
      {"pic=-LEAD.", PARM_OPTUNL, 8, 7, "-LEAD.,"},   /* the seventh character stays */
      {"pic=PLEAD", PARM_OPTUNL, 8, 7, "PLEAD.,"},
      {"pic=-lead,", PARM_OPTUNL, 8, 7, "PLEAD.,"},   /* taken as written: no rule fits */
      {"nullpos=after", PARM_OPTUNL, 14, 2, std::string("\1\0", 2)},
      {"nullpos=first", PARM_OPTUNL, 14, 2, std::string("\1\0", 2)},
      {"nullpos=Before", PARM_OPTUNL, 14, 2, std::string("\0\0", 2)},
      {"scheme=ebcdic", PARM_OPTUNL, 16, 1, "E"},
      {"scheme=asciiX", PARM_OPTUNL, 16, 1, "A"},
      {"scheme=unicode", PARM_OPTUNL, 16, 1, "U"},
      {"scheme=asis", PARM_OPTUNL, 16, 1, "T"},
      {"scheme=latin", PARM_OPTUNL, 16, 1, "T"},
      {"decimal_separator=,", PARM_OPTDB2, 10, 1, ","},
      {"decimal_separator=;", PARM_OPTDB2, 10, 1, ","},
  };
  for (const Row &r : arows) {
    Config(std::string(r.pcLine) + "\n");
    configGetDefaultUserParam();
    std::string strField = Field(r.iMember, r.ilItem, r.lLength);
    if (r.ilItem == 14) strField = *reinterpret_cast<const int16_t *>(strField.data()) ? std::string("\1\0", 2)
                                                                                       : std::string("\0\0", 2);
    EXPECT_EQ(strField, r.strExpected) << r.pcLine;
  }

  /* One file with several keys; the last look-up decides the code. */
  Config("time=b\ndecimal_separator=.\nlock=NO\n");
  EXPECT_EQ(configGetDefaultUserParam(), 0);
  EXPECT_EQ(Field(PARM_OPTUNL, 6, 1), "B");
  EXPECT_EQ(Field(PARM_OPTDB2, 10, 1), ".");
  EXPECT_EQ(Field(PARM_OPTUNL, 2, 3), "NO ");
  Config("time=c\n");
  EXPECT_EQ(configGetDefaultUserParam(), CONFIG_RC_NOKEY);

  for (size_t i = 0; i < std::size(aUserFields); i++) {
    const ParmField &f = aUserFields[i];
    int32_t ilItem = f.ilItem;
    memcpy(Gaparmlink[f.iMember].procAccessor(&ilItem), saved[i].data(), f.lLength);
  }
}

TEST_F(configTest, TraceKeywordList)
{
  ochar *pchar = configReadFileTrace();
  ASSERT_NE(pchar, nullptr);
  EXPECT_EQ(std::string(_charText(pchar), static_cast<size_t>(pchar->ilBU)), " ");
  EXPECT_EQ(pchar->usCCSID, 850);
  ocharDestroy(pchar);

  Write(CONFIG_FILE_TRACE, "$config $urun\n-- $comment line\n\n  $stats\t% $Tools\n");
  pchar = configReadFileTrace();
  ASSERT_NE(pchar, nullptr);
  EXPECT_EQ(std::string(_charText(pchar), static_cast<size_t>(pchar->ilBU)), "$CONFIG $URUN $STATS $TOOLS ");
  ocharDestroy(pchar);

  Write(CONFIG_FILE_TRACE, "");
  pchar = configReadFileTrace();
  ASSERT_NE(pchar, nullptr);
  EXPECT_EQ(std::string(_charText(pchar), static_cast<size_t>(pchar->ilBU)), " ");
  ocharDestroy(pchar);
}

/* ------------------------------------------------------------------ language */

namespace {

struct LanguageResult {
  int iRc = -1;
  std::string strLanguage, strPath;
  std::vector<std::string> messages;
};

LanguageResult SetLanguage()
{
  LanguageResult r;
  char *pcLanguage = reinterpret_cast<char *>(1), *pcPath = reinterpret_cast<char *>(1);
  r.messages = zavtestMessages([&] { r.iRc = configSetLanguage(&pcLanguage, &pcPath); });
  r.strLanguage = pcLanguage != nullptr ? pcLanguage : "(null)";
  r.strPath = pcPath != nullptr ? pcPath : "(null)";
  free(pcLanguage);
  free(pcPath);
  return r;
}

class configLanguageTest : public configTest {
protected:
  std::string strLang;
  bool boLang = false;
  void SetUp() override
  {
    configTest::SetUp();
    const char *pc = getenv("LANG");
    boLang = pc != nullptr;
    if (boLang) strLang = pc;
    gccsidSBCS = 850;
    gccsidMixed = 0;
    gccsidDBCS = 0;
  }
  void TearDown() override
  {
    if (boLang) setenv("LANG", strLang.c_str(), 1);
    else unsetenv("LANG");
    unsetenv("LOCPATH");
    setlocale(LC_ALL, "C");
    gccsidSBCS = 850;
    gccsidMixed = 0;
    gccsidDBCS = 0;
    configTest::TearDown();
  }
};

}  // namespace

TEST_F(configLanguageTest, FromTheConfiguredLanguageAndCountry)
{
  struct Case {
    const char *pcLang;     /* NULL: unset */
    const char *pcConfig;
    const char *pcLocale, *pcLanguage;
    uint16_t usCCSID, usDBCS;
  } acases[] = {
      {nullptr, "", "en_US", "en", 819, 1200},                 /* built-in items */
      {"C", "", "en_US", "en", 819, 1200},
      {"C.utf8", "languagecode=fr\ncountrycode=FR\n", "fr_FR", "fr", 819, 1200},   /* not in the table */
      {"xx_NOWHERE", "languagecode=de\ncountrycode=DE\n", "de_DE", "de", 819, 1200},
      {nullptr, "languagecode=ja\ncountrycode=JP\n", "ja_JP", "ja", 5050, 5050},
      {nullptr, "languagecode=en_GB\ncountrycode=\n", "en_GB", "en_GB", 819, 1200},   /* no country */
  };
  for (const Case &c : acases) {
    SCOPED_TRACE(c.pcLocale);
    if (c.pcLang != nullptr) setenv("LANG", c.pcLang, 1);
    else unsetenv("LANG");
    Config(c.pcConfig);
    setlocale(LC_ALL, "C");
    LanguageResult r = SetLanguage();
    EXPECT_EQ(r.iRc, 0);
    EXPECT_TRUE(r.messages.empty());
    EXPECT_STREQ(acStrLang, c.pcLocale);
    EXPECT_EQ(r.strLanguage, c.pcLanguage);
    EXPECT_EQ(r.strPath, strTop + "/msg/db2zav");
    EXPECT_EQ(gccsidSBCS, c.usCCSID);
    EXPECT_EQ(gccsidMixed, c.usCCSID);
    EXPECT_EQ(gccsidDBCS, c.usDBCS);
    ASSERT_NE(gpcnvft, nullptr);
    EXPECT_EQ(gpcnvft->tripleLocale.usMixed, c.usCCSID);
    EXPECT_EQ(gpcnvft->tripleLocale.usDBCS, c.usDBCS);
    EXPECT_EQ(gpcnvft->tripleExternal.usMixed, c.usCCSID);
    EXPECT_EQ(gpcnvft->tripleHost.usSBCS, 37);
    EXPECT_EQ(gpcnvft->tripleHost.usDBCS, 1200);
    EXPECT_EQ(gpcnvft->tripleInternal.usSBCS, 850);
    EXPECT_EQ(gpcnvft->tripleInternal.usMixed, 1208);
    EXPECT_EQ(gpcnvft->tripleInternal.usDBCS, 1202);
    /* numbers are always written with a point */
    char ac[16];
    snprintf(ac, sizeof(ac), "%.1f", 1.5);
    EXPECT_STREQ(ac, "1.5");
  }
}

TEST_F(configLanguageTest, FromAKnownLocaleOfLang)
{
  /* Build de_DE (ISO-8859-1) privately; the configuration names a locale
  ** that is in no table, so only LANG can give the code page. */
  std::string strLocales = strTop + "/locales";
  std::string strCommand = "mkdir -p " + strLocales + " && localedef -i de_DE -f ISO-8859-1 " + strLocales +
                           "/de_DE >/dev/null 2>&1";
  if (system(strCommand.c_str()) != 0) GTEST_SKIP() << "localedef cannot build de_DE here";
  setenv("LOCPATH", strLocales.c_str(), 1);
  setenv("LANG", "de_DE", 1);
  Config("languagecode=xx\ncountrycode=YY\n");
  LanguageResult r = SetLanguage();
  EXPECT_EQ(r.iRc, 0);
  EXPECT_EQ(r.strLanguage, "xx");   /* the items still choose the catalogue language */
  EXPECT_EQ(gccsidSBCS, 819);
  EXPECT_EQ(gccsidDBCS, 1200);
  EXPECT_TRUE(r.messages.empty());
}

TEST_F(configLanguageTest, NoCodePage)
{
  unsetenv("LANG");
  Config("languagecode=zz\ncountrycode=ZZ\n");
  LanguageResult r = SetLanguage();
  EXPECT_EQ(r.iRc, CONFIG_RC_NOCODEPAGE);
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_EQ(r.messages[0], "ZORU417E COULD NOT DETERMINE CHARACTERS CODE PAGE FOR LOCALE zz_ZZ\n");
  EXPECT_EQ(gccsidSBCS, 850);   /* unchanged */
  EXPECT_EQ(gccsidDBCS, 0);

  /* A name that does not fit the locale buffer is refused, not cut. */
  std::string strLong(120, 'e');
  Config("languagecode=" + strLong + "\ncountrycode=US\n");
  r = SetLanguage();
  EXPECT_EQ(r.iRc, CONFIG_RC_NOCODEPAGE);
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_EQ(r.messages[0], "ZORU417E COULD NOT DETERMINE CHARACTERS CODE PAGE FOR LOCALE " + strLong + "_US\n");
  EXPECT_EQ(gccsidSBCS, 850);
}

TEST_F(configLanguageTest, WithoutTopzav)
{
  unsetenv("TOPZAV");
  unsetenv("LANG");
  LanguageResult r = SetLanguage();
  EXPECT_EQ(r.iRc, CONFIG_RC_NOCATALOG);
  EXPECT_EQ(r.strLanguage, "(null)");
  EXPECT_EQ(r.strPath, "(null)");
  EXPECT_EQ(gccsidSBCS, 819);   /* the code pages are set all the same */
}
