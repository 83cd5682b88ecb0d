/*
** oname_test.cpp
**   Interning table: the name hash, identity of interned names, growth with
**   stable pointers, persistent and reserved ids, the dump order and the
**   refusal of names too long for the 16-bit length.
*/
#include "common/oname.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

struct NameDeleter {
  void operator()(oname *p) const { onameDestroy(p); }
};
using NamePtr = std::unique_ptr<oname, NameDeleter>;

const char *Intern(oname *pname, const std::string &s)
{
  return onameInternFixed(pname, s.data(), s.size());
}

TEST(OnameTest, NameHash)
{
  struct Case {
    std::string sName;
    uint32_t ulHash;
  } cases[] = {
      {"", 0},
      {"a", 0x357609FB},
      {"abc", 0x6C32C996},
      {"$TORVEL", 0x3AF994C2},
      {"SELECT", 0xBE665C8C},
      {"\xE9t\xE9", 0x3FA99682},               /* bytes above 0x7F count as negative */
      {std::string(32, 'x'), 0x4B2EFE00},
      {"y" + std::string(32, 'x'), 0x4B2EFE00}, /* only the last 32 characters count */
      {std::string(40, 'x'), 0x4B2EFE00},
  };
  NamePtr pname(onameCreate(0, 0));
  for (const Case &c : cases)
    EXPECT_EQ(_nameHash(pname.get(), c.sName.data(), c.sName.size()), c.ulHash)
        << "\"" << c.sName << "\"";
}

TEST(OnameTest, CreateSetsSizeAndFlags)
{
  struct Case {
    uint32_t ulHint, ulLoad, ulMask, ulThreshold;
  } cases[] = {{0, 0, 255, 205}, {40, 80, 63, 51}, {250, 80, 255, 205}, {520, 80, 1023, 819}};
  for (const Case &c : cases) {
    NamePtr pname(onameCreate(c.ulHint, c.ulLoad));
    ASSERT_NE(pname, nullptr);
    EXPECT_EQ(onameGetSize(pname.get()), c.ulMask);
    EXPECT_EQ(onameGetLoadFactor(pname.get()), c.ulThreshold);
    EXPECT_EQ(onameGetCount(pname.get()), 0u);
  }
  NamePtr pname(onameCreate(40, 80));
  EXPECT_EQ(onameIsAutoResize(pname.get()), 1);
  EXPECT_EQ(onameIsFastEntry(pname.get()), 1);
  EXPECT_EQ(onameIsPersistant(pname.get()), 0);
  onameSetFastEntry(pname.get(), 0);   /* the layout is fixed at creation */
  EXPECT_EQ(onameIsFastEntry(pname.get()), 1);
  onameSetAutoResize(pname.get(), 0);
  EXPECT_EQ(onameIsAutoResize(pname.get()), 0);
}

TEST(OnameTest, InterningGivesOnePointerPerDistinctName)
{
  NamePtr pname(onameCreate(40, 80));
  const char *pcAbc = Intern(pname.get(), "abc");
  ASSERT_NE(pcAbc, nullptr);
  std::string sCopy = "abc";   /* different storage, same bytes */
  EXPECT_EQ(Intern(pname.get(), sCopy), pcAbc);
  EXPECT_EQ(onameGetFixed(pname.get(), sCopy.data(), 3), pcAbc);
  EXPECT_STREQ(pcAbc, "abc");
  EXPECT_EQ(onameGetLength(pcAbc), 3u);

  struct Case {
    std::string sName;
  } distinct[] = {{"abc "}, {"ab"}, {"ABC"}, {std::string("a\0c", 3)}, {"\xE9t\xE9"}};
  for (const Case &c : distinct) {
    const char *p = Intern(pname.get(), c.sName);
    ASSERT_NE(p, nullptr);
    EXPECT_NE(p, pcAbc);
    EXPECT_EQ(onameGetLength(p), c.sName.size());
    EXPECT_EQ(std::string(p, c.sName.size()), c.sName);
    EXPECT_EQ(p[c.sName.size()], '\0');
  }
  EXPECT_EQ(onameGetCount(pname.get()), 6u);
  EXPECT_EQ(pname->ulTotalLength, 3u + 4 + 2 + 3 + 3 + 3);

  /* Lookups of unknown names add nothing. */
  EXPECT_EQ(onameGetFixed(pname.get(), "abd", 3), nullptr);
  EXPECT_EQ(onameGetFixed(pname.get(), "abc", 2), onameGetFixed(pname.get(), "ab", 2));
  EXPECT_EQ(onameGetFixed(pname.get(), "", 0), nullptr);
  EXPECT_EQ(onameGetCount(pname.get()), 6u);

  /* Length 0 on a table without ids: NULL and no change. */
  EXPECT_EQ(onameInternFixed(pname.get(), "x", 0), nullptr);
  EXPECT_EQ(onameGetCount(pname.get()), 6u);
  EXPECT_EQ(pname->ulLastId, 0u);
  EXPECT_EQ(onameGetFromId(pname.get(), 1), nullptr);
}

TEST(OnameTest, GrowthKeepsPointersAndFindsEveryName)
{
  NamePtr pname(onameCreate(40, 80));
  std::vector<const char *> interned;
  for (int i = 0; i < 51; i++)
    interned.push_back(Intern(pname.get(), "name" + std::to_string(i)));
  EXPECT_EQ(onameGetSize(pname.get()), 63u);
  interned.push_back(Intern(pname.get(), "name51"));
  EXPECT_EQ(onameGetSize(pname.get()), 127u);
  EXPECT_EQ(onameGetLoadFactor(pname.get()), 102u);
  onameSetSize(pname.get(), 1000);
  EXPECT_EQ(onameGetSize(pname.get()), 1023u);
  EXPECT_EQ(onameGetLoadFactor(pname.get()), 816u);
  for (int i = 0; i < 52; i++) {
    std::string s = "name" + std::to_string(i);
    EXPECT_EQ(onameGetFixed(pname.get(), s.data(), s.size()), interned[i]) << s;
    EXPECT_EQ(Intern(pname.get(), s), interned[i]) << s;
  }
  EXPECT_EQ(onameGetCount(pname.get()), 52u);
}

TEST(OnameTest, PersistentIdsAndReservedIds)
{
  NamePtr pname(onameCreateExtended(40, 80, ONAME_PERSISTENT));
  ASSERT_NE(pname, nullptr);
  EXPECT_EQ(onameIsPersistant(pname.get()), 1);
  EXPECT_EQ(onameIsFastEntry(pname.get()), 1);
  EXPECT_EQ(pname->ulIdCapacity, 41u);

  const char *pcAlpha = Intern(pname.get(), "alpha");
  EXPECT_EQ(onameInternFixed(pname.get(), "", 0), nullptr);   /* reserves id 2 */
  const char *pcBeta = Intern(pname.get(), "beta");
  EXPECT_EQ(Intern(pname.get(), "alpha"), pcAlpha);           /* no new id */
  EXPECT_EQ(pname->ulLastId, 3u);
  EXPECT_EQ(onameGetCount(pname.get()), 2u);

  struct Case {
    uint32_t ulId;
    const char *pcName;
  } cases[] = {{0, nullptr}, {1, pcAlpha}, {2, nullptr}, {3, pcBeta}, {4, nullptr}, {1000, nullptr}};
  for (const Case &c : cases)
    EXPECT_EQ(onameGetFromId(pname.get(), c.ulId), c.pcName) << "id " << c.ulId;
}

TEST(OnameTest, IdArrayDoublesFromTheHintCapacity)
{
  /* Hint 4: 8 buckets, capacity 5; ids 5, 10 and 20 each double it. */
  NamePtr pname(onameCreateExtended(4, 80, ONAME_PERSISTENT));
  std::vector<const char *> interned{nullptr};
  std::vector<uint32_t> capacities;
  for (int i = 1; i <= 25; i++) {
    if (i % 7 == 0) {
      onameInternFixed(pname.get(), nullptr, 0);
      interned.push_back(nullptr);
    } else {
      interned.push_back(Intern(pname.get(), "n" + std::to_string(i)));
    }
    capacities.push_back(pname->ulIdCapacity);
  }
  EXPECT_EQ(capacities[3], 5u);    /* id 4 */
  EXPECT_EQ(capacities[4], 10u);   /* id 5 */
  EXPECT_EQ(capacities[9], 20u);   /* id 10 */
  EXPECT_EQ(capacities[19], 40u);  /* id 20 */
  EXPECT_EQ(pname->ulLastId, 25u);
  for (uint32_t ul = 1; ul <= 25; ul++)
    EXPECT_EQ(onameGetFromId(pname.get(), ul), interned[ul]) << "id " << ul;
}

std::string DumpToString(const oname *pname)
{
  FILE *pfile = std::tmpfile();
  onameDump(pname, pfile);
  std::string s;
  std::rewind(pfile);
  for (int c; (c = std::fgetc(pfile)) != EOF;)
    s.push_back(static_cast<char>(c));
  std::fclose(pfile);
  return s;
}

TEST(OnameTest, DumpListsNamesInBucketOrder)
{
  /* 4 buckets: ARGS and DB2UTL share bucket 1, CONFIG is in bucket 2.  At 8
  ** buckets ARGS moves to 5 and FICCONT lands in 6. */
  NamePtr pname(onameCreate(3, 80));
  for (const char *pc : {"ARGS", "CONFIG", "DB2UTL"})
    Intern(pname.get(), pc);
  EXPECT_EQ(DumpToString(pname.get()), std::string("3\0DB2UTL\0ARGS\0CONFIG\0", 21));
  Intern(pname.get(), "FICCONT");
  EXPECT_EQ(onameGetSize(pname.get()), 7u);
  EXPECT_EQ(DumpToString(pname.get()), std::string("4\0DB2UTL\0CONFIG\0ARGS\0FICCONT\0", 29));

  /* ARGS, STATS, TOOLS and WRITE share bucket 1 of 4 and bucket 5 of 8:
  ** growth walks the old chain from its head onto the new head, reversing it. */
  NamePtr pone(onameCreate(3, 80));
  for (const char *pc : {"ARGS", "STATS", "TOOLS"})
    Intern(pone.get(), pc);
  EXPECT_EQ(DumpToString(pone.get()), std::string("3\0TOOLS\0STATS\0ARGS\0", 19));
  Intern(pone.get(), "WRITE");
  EXPECT_EQ(onameGetSize(pone.get()), 7u);
  EXPECT_EQ(DumpToString(pone.get()), std::string("4\0ARGS\0STATS\0TOOLS\0WRITE\0", 25));
}

TEST(OnameTest, RefusesNamesLongerThanTheLengthWord)
{
  NamePtr pname(onameCreateExtended(0, 0, ONAME_PERSISTENT));
  /* A name of 65568 bytes of 'q' would keep only its low 16 length bits (32)
  ** if it were truncated, and its last 32 bytes hash like the stored name of
  ** 32 'q': a truncating table would hand back that name's pointer. */
  std::string sTail(32, 'q');
  const char *pcTail = Intern(pname.get(), sTail);
  ASSERT_NE(pcTail, nullptr);

  struct Case {
    size_t ulLength;
    bool boAccepted;
  } cases[] = {{ONAME_MAXLENGTH, true}, {ONAME_MAXLENGTH + 1, false}, {65535, false},
               {65536 + 32, false}, {size_t{1} << 33, false}};
  for (const Case &c : cases) {
    std::string s;
    if (c.ulLength < (size_t{1} << 20))
      s.assign(c.ulLength, 'q');
    else
      s.assign(70000, 'q');   /* never read: refused on its length */
    uint32_t ulCount = onameGetCount(pname.get());
    uint32_t ulLastId = pname->ulLastId;
    const char *p = onameInternFixed(pname.get(), s.data(), c.ulLength);
    if (c.boAccepted) {
      ASSERT_NE(p, nullptr) << c.ulLength;
      EXPECT_EQ(onameGetLength(p), c.ulLength);
      EXPECT_EQ(onameGetFixed(pname.get(), s.data(), c.ulLength), p);
      EXPECT_EQ(onameGetCount(pname.get()), ulCount + 1);
    } else {
      EXPECT_EQ(p, nullptr) << c.ulLength;
      EXPECT_EQ(onameGetFixed(pname.get(), s.data(), c.ulLength), nullptr) << c.ulLength;
      EXPECT_EQ(onameGetCount(pname.get()), ulCount) << c.ulLength;
      EXPECT_EQ(pname->ulLastId, ulLastId) << c.ulLength;   /* no id spent */
    }
  }
  EXPECT_EQ(Intern(pname.get(), sTail), pcTail);
}

TEST(OnameTest, NullArgumentsAreRefused)
{
  NamePtr pname(onameCreate(0, 0));
  EXPECT_EQ(onameInternFixed(nullptr, "a", 1), nullptr);
  EXPECT_EQ(onameInternFixed(pname.get(), nullptr, 1), nullptr);
  EXPECT_EQ(onameGetFixed(pname.get(), nullptr, 1), nullptr);
  EXPECT_EQ(onameGetCount(pname.get()), 0u);
  onameDestroy(nullptr);
}

} // namespace
