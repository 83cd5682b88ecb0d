/*
** ofakecat_test.cpp
**   Row types of the stored catalogue file: rows with nested child rows go
**   through the resource store and come back byte for byte; the release
**   forms; the rows never written; stored rows whose sizes, table or counts
**   are wrong are refused without touching memory outside the image.
*/
#include "catalog/ofakecat.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "catalog/odb2x2.h"
#include "common/obyte.h"
#include "common/ores.h"
#include "common/orscs.h"
#include "tests/catalog/fakecattest.h"

namespace {

const int32_t kTablesV7 = static_cast<int32_t>(0x80140134u);
const int32_t kKeysV6 = static_cast<int32_t>(0x801401b3u);
const int32_t kKeysV7 = static_cast<int32_t>(0x801401b4u);

/* Compares two record images and, recursively, the images of their child chains. */
void ExpectSameImage(void *pa, void *pb)
{
  ASSERT_NE(pa, nullptr);
  ASSERT_NE(pb, nullptr);
  int16_t sObid = odb2x2ImageObid(pa);
  EXPECT_EQ(odb2x2ImageObid(pb), sObid);
  ASSERT_EQ(odb2x2ImageSize(pb), odb2x2ImageSize(pa)) << "table " << sObid;
  int iSlots = odb2x2SlotCount(sObid);
  size_t ulSlots = static_cast<size_t>(iSlots) * sizeof(void *);
  size_t ulColumns = static_cast<size_t>(odb2x2ImageSize(pa) - OFAKECAT_HEADER_SIZE) - ulSlots;
  EXPECT_EQ(std::memcmp(static_cast<char *>(pa) + ulSlots, static_cast<char *>(pb) + ulSlots, ulColumns), 0)
      << "columns of table " << sObid;
  const odb2x2CatRow *prow = odb2x2TableRows(sObid);
  for (int i = 0; i < iSlots; i++) {
    if (prow[i].sLength == 0) continue;
    ochaine *pca, *pcb;
    std::memcpy(&pca, static_cast<char *>(pa) + i * sizeof(void *), sizeof pca);
    std::memcpy(&pcb, static_cast<char *>(pb) + i * sizeof(void *), sizeof pcb);
    int na = pca != nullptr ? pca->iItemCount : 0;
    int nb = pcb != nullptr ? pcb->iItemCount : 0;
    ASSERT_EQ(na, nb) << "children " << prow[i].sLength << " of table " << sObid;
    if (na == 0) continue;
    EXPECT_EQ(pcb->pData, static_cast<uintptr_t>(prow[i].sLength));
    void *pia = pca->pitemTop;
    void *pib = pcb->pitemTop;
    for (; pia != nullptr; pia = static_cast<ochaineItem *>(pia)->pitemNext,
                           pib = static_cast<ochaineItem *>(pib)->pitemNext)
      ExpectSameImage(pia, pib);
  }
}

class FakecatTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    ASSERT_EQ(ofakecatInitModule(), 0);
    prscs = orscsCreate(nullptr, 5, 4096);
    ASSERT_NE(prscs, nullptr);
  }
  void TearDown() override { orscsDestroy(prscs); }

  /* Reads entry pcName as iType; returns the image or NULL with rc set. */
  void *Read(const char *pcName, int32_t iType, int *prc, const std::function<void(ores *)> &patch = nullptr)
  {
    ores *pres = oresLoadNamed(prscs->pdictMain, pcName);
    if (pres == nullptr) return nullptr;
    if (patch) patch(pres);
    *prc = 0;
    void *p = oresGet(pres, iType, nullptr, prc);
    oresDestroy(pres);
    return p;
  }

  orscs *prscs = nullptr;
};

TEST_F(FakecatTest, TableRowWithColumnsAndIndexesComesBackWhole)
{
  void *pcol1 = fakecatImage(oresTDatasyscolumnsV7, 20,
                             {{"NAME", "EMPNO"}, {"TBNAME", "EMPLOYEE"}, {"TBCREATOR", "ZAVUSER"},
                              {"COLTYPE", "CHAR"}, {"LENGTH", 6}, {"COLCARDF", 42.5},
                              {"DEFAULTVALUE", "'000000'"}, {"STATSTIME", std::string("\x01\x02\0\x04", 4)}});
  void *pcol2 = fakecatImage(oresTDatasyscolumnsV7, 20,
                             {{"NAME", "SALARY"}, {"COLTYPE", "DECIMAL"}, {"LENGTH", 9}, {"SCALE", 2},
                              {"LENGTH2", 70000}, {"NULLS", "Y"}});
  void *pkey = fakecatImage(oresTDatasyskeysV7, 27,
                            {{"IXNAME", "XEMP1"}, {"COLNAME", "EMPNO"}, {"COLSEQ", 1}, {"ORDERING", "A"}});
  void *pindex = fakecatImage(oresTDatasysindexesV7, 23, {{"NAME", "XEMP1"}, {"IOFACTOR", -3}, {"REMARKS", "pk"}},
                              {nullptr, fakecatChain(27, {pkey})});
  void *ptable = fakecatImage(oresTDatasystablesV7, 19,
                              {{"NAME", "EMPLOYEE"}, {"CREATOR", "ZAVUSER"}, {"CARD", -5}, {"NPAGESF", 3.25},
                               {"RELCREATED", "T"}, {"REMARKS", std::string(254, 'r')}},
                              {fakecatChain(20, {pcol1, pcol2}), nullptr, fakecatChain(23, {pindex})});
  ASSERT_EQ(fakecatStore(prscs->pdictMain, "row", kTablesV7, ptable), 0);

  int rc = -1;
  void *pback = Read("row", kTablesV7, &rc);
  EXPECT_EQ(rc, 0);
  ExpectSameImage(ptable, pback);
  odb2x2ImageDestroy(pback);
  odb2x2ImageDestroy(ptable);
}

TEST_F(FakecatTest, ReleaseFormsOfARow)
{
  /* One member list serves both releases of SYSKEYS: the stored bytes are the same. */
  void *pkey = fakecatImage(oresTDatasyskeysV7, 27, {{"IXNAME", "XEMP1"}, {"COLNAME", "EMPNO"}, {"COLNO", 1}});
  int rc6 = -1, rc7 = -1;
  ores *p6 = fakecatResource(kKeysV6, pkey, &rc6);
  ores *p7 = fakecatResource(kKeysV7, pkey, &rc7);
  ASSERT_EQ(rc6, 0);
  ASSERT_EQ(rc7, 0);
  ASSERT_EQ(p6->ulDataLength, p7->ulDataLength);
  EXPECT_EQ(std::memcmp(p6->pData, p7->pData, p6->ulDataLength), 0);
  oresDestroy(p6);
  oresDestroy(p7);
  odb2x2ImageDestroy(pkey);

  /* A release-6 table row lacks the release-7 columns and is not read as one. */
  void *ptable6 = fakecatImage(oresTDatasystablesV6, 19, {{"NAME", "T6"}, {"CARDF", 1.5}});
  ASSERT_EQ(fakecatStore(prscs->pdictMain, "v6", static_cast<int32_t>(0x80140133u), ptable6), 0);
  int rc = -1;
  void *pback = Read("v6", static_cast<int32_t>(0x80140133u), &rc);
  ExpectSameImage(ptable6, pback);
  odb2x2ImageDestroy(pback);
  pback = Read("v6", kTablesV7, &rc);
  EXPECT_EQ(pback, nullptr);
  EXPECT_NE(rc, 0);
  odb2x2ImageDestroy(ptable6);
}

TEST_F(FakecatTest, AuthorisationRowsAreNeverWritten)
{
  void *pauth = fakecatImage(oresTDatasysibm_header, 28, {});
  void *ptable = fakecatImage(oresTDatasystablesV7, 19, {{"NAME", "T"}},
                              {nullptr, nullptr, nullptr, fakecatChain(28, {pauth})});
  ASSERT_EQ(fakecatStore(prscs->pdictMain, "row", kTablesV7, ptable), 0);
  int rc = -1;
  void *pback = Read("row", kTablesV7, &rc);
  ASSERT_NE(pback, nullptr);
  ochaine *pslot;
  std::memcpy(&pslot, static_cast<char *>(pback) + 5 * sizeof(void *), sizeof pslot);
  EXPECT_EQ(pslot, nullptr);
  odb2x2ImageDestroy(pback);
  odb2x2ImageDestroy(ptable);
}

TEST_F(FakecatTest, OverlongVaryingValueIsKeptEmpty)
{
  void *pkey = fakecatImage(oresTDatasyskeysV7, 27,
                            {{"IXNAME", "XEMP1"}, {"COLNAME", std::string(30, 'c')}, {"COLNO", 7}, {"ORDERING", "D"}});
  ASSERT_EQ(fakecatStore(prscs->pdictMain, "row", kKeysV7, pkey), 0);
  int rc = -1;
  unsigned char *pback = static_cast<unsigned char *>(Read("row", kKeysV7, &rc));
  ASSERT_NE(pback, nullptr);
  /* Slots, IXNAME (2 + 5), IXCREATOR 8, COLNAME now empty, then COLNO. */
  unsigned char *p = pback + 2 * sizeof(void *) + 7 + 8;
  int16_t sLength, sColno;
  std::memcpy(&sLength, p, 2);
  std::memcpy(&sColno, p + 2, 2);
  EXPECT_EQ(sLength, 0);
  EXPECT_EQ(sColno, 7);
  EXPECT_EQ(p[6], 'D');
  odb2x2ImageDestroy(pback);
  odb2x2ImageDestroy(pkey);
}

TEST_F(FakecatTest, DamagedRowsAreRefused)
{
  void *pkey = fakecatImage(oresTDatasyskeysV7, 27, {{"IXNAME", "XEMP1"}, {"COLNAME", "EMPNO"}});
  ASSERT_EQ(fakecatStore(prscs->pdictMain, "key", kKeysV7, pkey), 0);
  odb2x2ImageDestroy(pkey);
  void *ptable = fakecatImage(oresTDatasystablesV7, 19, {{"NAME", "T"}});
  ASSERT_EQ(fakecatStore(prscs->pdictMain, "table", kTablesV7, ptable), 0);
  odb2x2ImageDestroy(ptable);

  /* Stored form: Flags, Size (BE16), Obid (BE16), MapId, then the members; a
     table row's five child counts (BE32) follow the header. */
  struct Case {
    const char *pcWhat;
    const char *pcEntry;
    int32_t iType;
    std::function<void(ores *)> patch;
    int rcExpected;   /* 0: any failure */
  } acase[] = {
      {"size below the columns", "key", kKeysV7, [](ores *p) { obytePutBE16(p->pData + 1, 20); },
       OFAKECAT_RC_DAMAGED},
      {"size below the header", "key", kKeysV7, [](ores *p) { obytePutBE16(p->pData + 1, 3); },
       OFAKECAT_RC_DAMAGED},
      {"negative size", "key", kKeysV7, [](ores *p) { obytePutBE16(p->pData + 1, 0xFFF0); },
       OFAKECAT_RC_DAMAGED},
      {"row of another table", "key", kKeysV7, [](ores *p) { obytePutBE16(p->pData + 3, 26); },
       OFAKECAT_RC_DAMAGED},
      {"data cut short", "key", kKeysV7, [](ores *p) { p->ulDataLength = 12; }, ORES_RC_EOD},
      {"child count beyond the data", "table", kTablesV7, [](ores *p) { obytePutBE32(p->pData + 6, 0x7FFFFFFF); },
       ORES_RC_EOD},
      {"synonym rows of an unregistered type", "table", kTablesV7,
       [](ores *p) { obytePutBE32(p->pData + 6 + 16, 1); }, 0},
  };
  for (const Case &c : acase) {
    int rc = 0;
    void *p = Read(c.pcEntry, c.iType, &rc, c.patch);
    EXPECT_EQ(p, nullptr) << c.pcWhat;
    if (c.rcExpected != 0) EXPECT_EQ(rc, c.rcExpected) << c.pcWhat;
    else EXPECT_NE(rc, 0) << c.pcWhat;
    odb2x2ImageDestroy(p);
  }
}

}  // namespace
