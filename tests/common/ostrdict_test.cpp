/*
** ostrdict_test.cpp
**   String-keyed dictionary: store and load by text, lookups that must not
**   intern, the names that are refused, and walking it through its odict.
*/
#include "common/ostrdict.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "common/oreason.h"

namespace {

struct StrDictDeleter {
  void operator()(ostrdict *p) const { ostrdictDestroy(p); }
};
using StrDictPtr = std::unique_ptr<ostrdict, StrDictDeleter>;

void *V(uintptr_t ul) { return reinterpret_cast<void *>(ul); }

TEST(OstrdictTest, StoreAndLoadByText)
{
  StrDictPtr pstrdict(ostrdictCreate(50, 80));
  ASSERT_NE(pstrdict, nullptr);
  EXPECT_EQ(odictGetSize(pstrdict->pdict), 63u);
  EXPECT_EQ(onameGetSize(pstrdict->pname), 63u);

  EXPECT_EQ(ostrdictStore(pstrdict.get(), "$CONFIG", V(1)), 0);
  EXPECT_EQ(ostrdictStore(pstrdict.get(), "$CNVFT", V(2)), 0);
  EXPECT_EQ(ostrdictStoreFixed(pstrdict.get(), "$CNVFTD and more", 7, V(3)), 0);
  EXPECT_EQ(ostrdictGetCount(pstrdict.get()), 3u);

  std::string sKey = "$CONFIG";
  EXPECT_EQ(ostrdictLoad(pstrdict.get(), sKey.c_str()), V(1));
  EXPECT_EQ(ostrdictLoad(pstrdict.get(), "$CNVFT"), V(2));
  EXPECT_EQ(ostrdictLoad(pstrdict.get(), "$CNVFTD"), V(3));
  EXPECT_EQ(ostrdictLoadFixed(pstrdict.get(), "$CNVFTDxyz", 6), V(2));
  EXPECT_EQ(ostrdictLoad(pstrdict.get(), "$config"), nullptr);   /* case counts */

  /* A new value replaces the old one; NULL "removes" and keeps the count. */
  ostrdictStore(pstrdict.get(), "$CONFIG", V(4));
  EXPECT_EQ(ostrdictLoad(pstrdict.get(), "$CONFIG"), V(4));
  ostrdictStore(pstrdict.get(), "$CNVFT", nullptr);
  EXPECT_EQ(ostrdictLoad(pstrdict.get(), "$CNVFT"), nullptr);
  EXPECT_EQ(ostrdictGetCount(pstrdict.get()), 3u);
}

TEST(OstrdictTest, LookupOfAnUnknownNameInternsNothing)
{
  StrDictPtr pstrdict(ostrdictCreate(0, 0));
  ostrdictStore(pstrdict.get(), "$URUN", V(1));
  EXPECT_EQ(ostrdictLoad(pstrdict.get(), "$UNLOAD"), nullptr);
  EXPECT_EQ(ostrdictLoadFixed(pstrdict.get(), "$URUNX", 6), nullptr);
  EXPECT_EQ(ostrdictLoad(pstrdict.get(), ""), nullptr);
  EXPECT_EQ(ostrdictLoad(pstrdict.get(), nullptr), nullptr);
  EXPECT_EQ(onameGetCount(pstrdict->pname), 1u);
  EXPECT_EQ(ostrdictGetCount(pstrdict.get()), 1u);
}

TEST(OstrdictTest, RefusedNamesStoreNothing)
{
  StrDictPtr pstrdict(ostrdictCreate(0, 0));
  std::string sLong(ONAME_MAXLENGTH + 1, 'k');
  struct Case {
    const char *pcName;
    size_t ulLength;
  } cases[] = {{nullptr, 3}, {"", 0}, {"abc", 0}, {sLong.data(), sLong.size()}};
  for (const Case &c : cases) {
    EXPECT_EQ(ostrdictStoreFixed(pstrdict.get(), c.pcName, c.ulLength, V(9)), ORC_INVALID)
        << c.ulLength;
  }
  EXPECT_EQ(ostrdictStore(pstrdict.get(), "", V(9)), ORC_INVALID);
  EXPECT_EQ(ostrdictStore(pstrdict.get(), sLong.c_str(), V(9)), ORC_INVALID);
  EXPECT_EQ(ostrdictStore(pstrdict.get(), nullptr, V(9)), ORC_INVALID);
  EXPECT_EQ(ostrdictStore(nullptr, "a", V(9)), ORC_INVALID);
  EXPECT_EQ(ostrdictGetCount(pstrdict.get()), 0u);
  EXPECT_EQ(onameGetCount(pstrdict->pname), 0u);
  /* Nothing landed under key 0 either. */
  EXPECT_EQ(odictLoad(pstrdict->pdict, 0), nullptr);
}

TEST(OstrdictTest, WalkReadsNamesFromTheKeys)
{
  StrDictPtr pstrdict(ostrdictCreate(4, 80));
  std::map<std::string, uintptr_t> expected;
  for (uintptr_t ul = 1; ul <= 40; ul++) {   /* several growths on the way */
    std::string s = "$KEY" + std::to_string(ul);
    ASSERT_EQ(ostrdictStore(pstrdict.get(), s.c_str(), V(ul)), 0);
    expected[s] = ul;
  }
  std::map<std::string, uintptr_t> seen;
  odictcursor cursor;
  odictCursorInit(&cursor, pstrdict->pdict);
  for (; cursor.pentry != nullptr; odictCursorNext(&cursor)) {
    const char *pcName = reinterpret_cast<const char *>(odictCursorGetKey(&cursor));
    seen[std::string(pcName, onameGetLength(pcName))] =
        reinterpret_cast<uintptr_t>(odictCursorGetValue(&cursor));
  }
  odictCursorDestroy(&cursor);
  EXPECT_EQ(seen, expected);
}

} // namespace
