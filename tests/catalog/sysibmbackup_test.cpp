/*
** sysibmbackup_test.cpp
**   The catalogue read from a backup image: images whose catalogue table
**   space (SMS or DMS) holds SYSTABLESPACES, SYSTABLES and SYSCOLUMNS rows
**   for two tables are written with tools/db2backup.h and tools/db2pages.h,
**   read back through a backup object, and the resulting chain of table
**   spaces, tables and columns is compared field by field.  Also: the
**   object ids chosen by DB2 version, rows that find no owner,
**   value-compressed rows (expanded and read), a descriptor moved off page
**   0, an unknown catalogue type and its trace, an image without one of the
**   catalogue tables, and catalogues that cannot be read whole (pages cut
**   short, damaged rows and pages, columns that do not add up to their
**   table's count): none of them is used in part.
*/
#include "catalog/sysibmbackup.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "common/obyte.h"
#include "common/ochaine.h"
#include "common/ochar.h"
#include "common/omsgs.h"
#include "storage/zorbk.h"
#include "storage/zorts.h"
#include "tests/catalog/catalogcli.h"
#include "tests/storage/bkimage.h"
#include "tests/zavtest.h"
#include "tools/db2backup.h"
#include "tools/db2pages.h"

namespace {

using db2pages::Bytes;
using db2pages::Column;
using db2pages::Value;

const uint32_t P = 4096;

/* Column shapes of the catalogue tables. */
const Column VC{257, 128, false}, VCN{257, 128, true}, SI{0, 2, false}, SIN{0, 2, true}, IN{1, 4, false};
const Column C1{256, 1, false}, C8{256, 8, false}, TSTMP{263, 10, false};

std::vector<Column> ColsTables()
{
  std::vector<Column> v{VC, VC, C1, TSTMP, C1, C1, C1, SI, SI, SI, IN, IN};
  v.resize(20, IN);
  v.insert(v.end(), {VCN, VCN, VCN, VCN, VCN, IN, IN, IN, IN, VC, IN, IN, IN, IN, SIN});
  return v;
}

std::vector<Column> ColsColumns()
{
  std::vector<Column> v{VC, VC, VC, IN, C8, C1, SI, SI, SI, SI, SI};
  v.resize(18, IN);
  v.insert(v.end(), {VCN, IN, C1, C1, IN, IN, SI});
  return v;
}

std::vector<Column> ColsTablespaces()
{
  return {VC, VC, TSTMP, SI, C1, C1, IN, IN, IN, IN, IN, VC, IN, IN, C1};
}

Value Str(const std::string &s) { return db2pages::val(s); }
Value I16(int16_t s) { return db2pages::val(db2pages::le16(static_cast<uint16_t>(s))); }
Value I32(int32_t l) { return db2pages::val(db2pages::le32(static_cast<uint32_t>(l))); }

/* A format-1 row: the given ordinals, every other column empty (NULL when nullable). */
Bytes Row(const std::vector<Column> &cols, const std::map<int, Value> &mapValues, int iColumnsHeld = -1)
{
  std::vector<Value> v;
  for (size_t k = 0; k < cols.size(); k++) {
    auto it = mapValues.find(static_cast<int>(k));
    if (it != mapValues.end()) v.push_back(it->second);
    else if (cols[k].boNullable) v.push_back(db2pages::null());
    else if (db2pages::isVariable(cols[k].sType)) v.push_back(Str(""));
    else v.push_back(db2pages::val(Bytes(db2pages::inRecordSize(cols[k]), 0)));
  }
  return db2pages::row(cols, v, 0, iColumnsHeld);
}

/* The row with the data offset of its first (varying) column moved outside the record. */
Bytes Damaged(Bytes r)
{
  obytePutLE16(r.data() + 8, 0x4000);
  return r;
}

const char acCreated[] = "\x07\xD4\x03\x15\x10\x20\x30\x00\x00\x01";   /* 10 bytes, binary */

Bytes TsRow(const std::string &strName, int16_t sObid, char cType, int32_t ilExtent, int32_t ilPageSize,
            const std::string &strGroup)
{
  return Row(ColsTablespaces(), {{0, Str(strName)}, {1, Str("SYSIBM")}, {3, I16(sObid)},
                                 {4, Str(std::string(1, cType))}, {5, Str("A")}, {6, I32(ilExtent)},
                                 {7, I32(ilExtent * 2)}, {11, Str(strGroup)}, {12, I32(1)},
                                 {13, I32(ilPageSize)}, {14, Str("N")}});
}

Bytes TbRow(const std::string &strName, char cType, int16_t sCols, int16_t sObid, int16_t sTid)
{
  return Row(ColsTables(), {{0, Str(strName)}, {1, Str("TEST")}, {2, Str(std::string(1, cType))},
                            {3, db2pages::val(Bytes(acCreated, acCreated + 10))}, {7, I16(sCols)},
                            {8, I16(sObid)}, {9, I16(sTid)}, {10, I32(10 * sObid)}, {11, I32(11 * sObid)},
                            {22, Str("USERSPACE1")}, {24, Str("LONGSPACE")}, {29, Str("ADM")}, {34, I16(1)}});
}

Bytes ColRow(const std::string &strTable, const std::string &strName, const char *pcType, int16_t sLength,
             int16_t sColno, const Value &valDefault, int iColumnsHeld = -1)
{
  return Row(ColsColumns(), {{0, Str(strName)}, {1, Str(strTable)}, {2, Str("TEST    ")}, {4, Str(pcType)},
                             {5, Str("Y")}, {6, I16(850)}, {7, I16(0)}, {8, I16(sLength)}, {9, I16(0)},
                             {10, I16(sColno)}, {18, valDefault}, {19, I32(0)}, {20, Str("N")},
                             {21, Str("N")}, {24, I16(1208)}},
             iColumnsHeld);
}

/* The catalogue of every image: three tables, a column row that finds no table, and value-compressed rows. */
struct Catalogue {
  std::vector<Bytes> vColumns0, vColumns1;   /* SYSCOLUMNS, pages 0 and 1 */
  std::vector<Bytes> vTables, vTablespaces;
  bool boDescriptorMoved = false;            /* SYSCOLUMNS' descriptor after the rows of its page 1 */
};

Catalogue MakeCatalogue()
{
  Catalogue c;
  c.vColumns0 = {ColRow("T1", "B", "VARCHAR ", 10, 1, db2pages::null()),
                 ColRow("T2", "ID", "INTEGER ", 4, 0, db2pages::null(), 24),   /* written before column 24 */
                 ColRow("GONE", "X", "INTEGER ", 4, 0, db2pages::null())};
  c.vColumns1 = {ColRow("T1", "A", "INTEGER ", 4, 0, Str("42")),
                 db2pages::compressed(ColsColumns(), {Str("D"), Str("T1"), Str("TEST    "), I32(0), Str("INTEGER "),
                                                      Str("N"), I16(0), I16(0), I16(4), I16(0), I16(3)}),
                 ColRow("T1", "C", "FLOAT   ", 4, 2, Str("")),
                 ColRow("TMP", "Z", "INTEGER ", 4, 0, db2pages::null())};
  c.vTables = {TbRow("T1", 'T', 4, 4, 2), TbRow("TMP", 'T', 1, 9, 1), TbRow("T2", 'V', 1, 5, 2)};
  c.vTablespaces = {TsRow("SYSCATSPACE", 0, 'S', 4, 4096, "IBMCATGROUP"),
                    db2pages::compressed(ColsTablespaces(), {Str("TEMPSPACE1"), Str("SYSIBM"), db2pages::dflt(),
                                                             I16(1)}),
                    TsRow("USERSPACE1", 2, 'D', 16, 8192, "IBMDEFAULTGROUP")};
  return c;
}

/*
** Object pages of one catalogue table: page 0 (with the descriptor), and
** page 1 when given; with ulMovedTo (the number the table space gives page
** 1) slot 3 of page 0 points to the descriptor, placed after the rows of
** page 1.
*/
std::vector<Bytes> TablePages(const std::vector<Column> &cols, const std::vector<Bytes> &vRows0,
                              const std::vector<Bytes> &vRows1 = {}, uint32_t ulMovedTo = 0)
{
  std::vector<Bytes> v{db2pages::firstPage(P, vRows1.empty() ? 1 : 2, cols, vRows0)};
  if (!vRows1.empty()) v.push_back(db2pages::page(P, 1, vRows1));
  if (ulMovedTo != 0 && v.size() == 2) {
    std::vector<Bytes> vSlots0 = {db2pages::fileHeader(2), Bytes{}, db2pages::other(0, 16),
                                  db2pages::pointer(ulMovedTo, static_cast<unsigned>(vRows1.size()))};
    vSlots0.insert(vSlots0.end(), vRows0.begin(), vRows0.end());
    std::vector<Bytes> vSlots1 = vRows1;
    vSlots1.push_back(db2pages::descriptor(cols));
    v = {db2pages::page(P, 0, vSlots0), db2pages::page(P, 1, vSlots1)};
  }
  for (auto &page : v) db2pages::tear(page, 1);
  return v;
}

Bytes Concat(const std::vector<Bytes> &vPages)
{
  Bytes v;
  for (const auto &page : vPages) v.insert(v.end(), page.begin(), page.end());
  return v;
}

/* An SMS catalogue table space; the table spaces lie in object 27 (version 7) or 29 (version 8),
   and the other of the two objects holds a decoy table space. */
db2backupImage SmsImage(const Catalogue &c, int iVersion, uint32_t ulCatalogType = 1, bool boWithTables = true)
{
  db2backupImage image;
  db2backupBegin(image, 65536);
  db2backupAddObject(image, 9, 0, 0, 0, db2backupLOT({{"SYSCATSPACE", ulCatalogType}, {"USERSPACE1", 2}}));
  db2backupAddObject(image, 11, 0, 0, 0, db2backupTbsDef(0, 1, 4, P));
  db2backupAddObject(image, 0, 0, 3, 0,
                     Concat(TablePages(ColsColumns(), c.vColumns0, c.vColumns1, c.boDescriptorMoved ? 1 : 0)));
  if (boWithTables) db2backupAddObject(image, 0, 0, 2, 0, Concat(TablePages(ColsTables(), c.vTables)));
  std::vector<Bytes> vDecoy{TsRow("DECOY", 2, 'S', 4, 4096, "G")};
  db2backupAddObject(image, 0, 0, iVersion < 8 ? 27 : 29, 0, Concat(TablePages(ColsTablespaces(), c.vTablespaces)));
  db2backupAddObject(image, 0, 0, iVersion < 8 ? 29 : 27, 0, Concat(TablePages(ColsTablespaces(), vDecoy)));
  if (iVersion >= 8) db2backupAddObject(image, 6, 0, 0, 0, {});
  db2backupAddObject(image, 18, 0, 0, 0, {});
  return image;
}

/* An EMP page whose entries are the given table-space pages. */
Bytes EmpPage(const std::vector<uint32_t> &vEntries)
{
  return bkimageEmpPage(P, vEntries, false);
}

/* An object-table record (from record offset 4): ids, first EMP page, first data page. */
Bytes ObjTabRecord(uint16_t usObjId, uint32_t ulEmp, uint32_t ulFirst)
{
  Bytes v(148, 0);
  obytePutLE16(v.data() + 4, 0);
  obytePutLE16(v.data() + 6, usObjId);
  obytePutLE32(v.data() + 8, ulEmp);
  obytePutLE32(v.data() + 16, ulFirst);
  return db2backupRecord(0, v);
}

/*
** A DMS catalogue table space 0, extent size 4: page 1 the object table's
** EMP page (object table in extent 4-7), then per catalogue table an EMP
** extent and a data extent: SYSCOLUMNS (object 6) EMP 8, data 12;
** SYSTABLES (5) EMP 16, data 20; SYSTABLESPACES (264 or 266) EMP 24, data 28.
** fnPages may change the table-space pages before they go into the image.
*/
db2backupImage DmsImage(const Catalogue &c, int iVersion,
                        const std::function<void(std::vector<Bytes> &)> &fnPages = nullptr)
{
  uint16_t usTbs = iVersion < 8 ? 264 : 266;
  std::vector<Bytes> vPages(32, Bytes(P, 0));
  vPages[1] = EmpPage({4});
  Bytes vHeader(8, 0);
  obytePutLE32(vHeader.data(), 2);
  std::vector<Bytes> vObj0(7), vObj1(usTbs - 256 + 1);
  vObj0[0] = db2backupRecord(0, vHeader);
  vObj0[5] = ObjTabRecord(5, 16, 20);
  vObj0[6] = ObjTabRecord(6, 8, 12);
  vObj1[usTbs - 256] = ObjTabRecord(usTbs, 24, 28);
  vPages[4] = db2backupPage(P, 0, vObj0);
  vPages[5] = db2backupPage(P, 1, vObj1);
  for (auto &page : {&vPages[4], &vPages[5]}) db2backupTearPage(page->data(), P);
  auto place = [&](uint32_t ulEmp, uint32_t ulData, const std::vector<Bytes> &vTable) {
    vPages[ulEmp] = EmpPage({ulData});
    for (uint32_t k = 1; k < 4; k++) vPages[ulEmp + k] = EmpPage({});
    for (size_t k = 0; k < vTable.size(); k++) vPages[ulData + k] = vTable[k];
  };
  place(8, 12, TablePages(ColsColumns(), c.vColumns0, c.vColumns1, c.boDescriptorMoved ? 13 : 0));
  place(16, 20, TablePages(ColsTables(), c.vTables));
  place(24, 28, TablePages(ColsTablespaces(), c.vTablespaces));
  for (uint32_t k : {1u, 8u, 9u, 10u, 11u, 16u, 17u, 18u, 19u, 24u, 25u, 26u, 27u})
    db2backupTearPage(vPages[k].data(), P);
  if (fnPages) fnPages(vPages);
  db2backupImage image;
  db2backupBegin(image, 65536);
  db2backupAddObject(image, 9, 0, 0, 0, db2backupLOT({{"SYSCATSPACE", 2}}));
  db2backupAddObject(image, 11, 0, 0, 0, db2backupTbsDef(0, 2, 4, P, 32));
  db2backupAddObject(image, 12, 0, 0, 0, Concat(vPages));
  if (iVersion >= 8) db2backupAddObject(image, 6, 0, 0, 0, {});
  db2backupAddObject(image, 18, 0, 0, 0, {});
  return image;
}

/* Opens an image written to dir; NULL on failure. */
zorbk *Open(const zavtestTempDir &dir, const db2backupImage &image)
{
  if (!db2backupWrite(image, dir.file("img"))) return nullptr;
  std::string strPath = dir.file("img");
  ochar *pcharName = ocharCreate(0, 850);
  ocharAppendFixed(pcharName, strPath.data(), static_cast<int32_t>(strPath.size()));
  ochar *pcharAlias = ocharCreate(0, 850);
  ocharAppendFixed(pcharAlias, "SAMPLE", 6);
  int rc = 0;
  zorbk *pzorbk = zorbkCreate(pcharName, pcharAlias, nullptr, &rc);
  ocharDestroy(pcharName);
  ocharDestroy(pcharAlias);
  return pzorbk;
}

std::string Text(const ochar *pchar) { return catalogcliText(pchar); }

template <typename T>
std::vector<T *> Items(ochaine *pchaine)
{
  std::vector<T *> v;
  if (pchaine == nullptr) return v;
  for (auto *p = static_cast<T *>(pchaine->pitemTop); p != nullptr; p = reinterpret_cast<T *>(p->hdr.pnext))
    v.push_back(p);
  return v;
}

/* The whole catalogue of MakeCatalogue, checked field by field.  The data-file
   header of a one-page table reads as an empty format-1 record: it must not
   become a table space of id 0 ahead of SYSCATSPACE. */
void ExpectCatalogue(ochaine *pchaine, uint16_t usCcsid)
{
  ASSERT_NE(pchaine, nullptr);
  EXPECT_EQ(pchaine->pData, static_cast<uintptr_t>(OSYSIBM_SYSTABLESPACE));
  EXPECT_EQ(pchaine->iItemSize, static_cast<int32_t>(sizeof(osysibmSystablespace)));
  auto vTbs = Items<osysibmSystablespace>(pchaine);
  ASSERT_EQ(vTbs.size(), 3u) << "the value-compressed table-space row is read";

  osysibmSystablespace *pcat = vTbs[0], *ptemp = vTbs[1], *puser = vTbs[2];
  EXPECT_EQ(Text(pcat->pcharNAME), "SYSCATSPACE");
  EXPECT_EQ(pcat->apchaine[1], nullptr);
  EXPECT_EQ(Text(ptemp->pcharNAME), "TEMPSPACE1");
  EXPECT_EQ(ptemp->sOBID, 1);
  auto vTemp = Items<osysibmSystables>(ptemp->apchaine[1]);
  ASSERT_EQ(vTemp.size(), 1u);
  EXPECT_EQ(Text(vTemp[0]->pcharNAME), "TMP");
  EXPECT_EQ(Text(puser->pcharNAME), "USERSPACE1");
  EXPECT_EQ(puser->pcharNAME->usCCSID, usCcsid);
  EXPECT_EQ(Text(puser->pcharCREATOR), "SYSIBM");
  EXPECT_EQ(Text(puser->pcharDBNAME), "SAMPLE");
  EXPECT_EQ(puser->sOBID, 2);
  EXPECT_EQ(puser->cTBSPACETYPE, 'D');
  EXPECT_EQ(puser->cDATATYPE, 'A');
  EXPECT_EQ(puser->iEXTENTSIZE, 16);
  EXPECT_EQ(puser->iPREFETCHSIZE, 32);
  EXPECT_EQ(Text(puser->pcharNGNAME), "IBMDEFAULTGROUP");
  EXPECT_EQ(puser->iBUFFERPOOLID, 1);
  EXPECT_EQ(puser->iPAGESIZE, 8192);
  EXPECT_EQ(puser->cDROP_RECOVERY, 'N');
  EXPECT_EQ(puser->hdr.sTableId, 0);
  EXPECT_EQ(puser->hdr.usChaineCount, 0);
  EXPECT_EQ(puser->hdr.powner, nullptr);

  ASSERT_NE(puser->apchaine[1], nullptr);
  EXPECT_EQ(puser->apchaine[1]->pData, static_cast<uintptr_t>(OSYSIBM_SYSTABLES));
  auto vTables = Items<osysibmSystables>(puser->apchaine[1]);
  ASSERT_EQ(vTables.size(), 2u);
  osysibmSystables *pt1 = vTables[0], *pt2 = vTables[1];
  EXPECT_EQ(Text(pt1->pcharNAME), "T1");
  EXPECT_EQ(Text(pt1->pcharCREATOR), "TEST");
  EXPECT_EQ(pt1->cTYPE, 'T');
  ASSERT_NE(pt1->pcharCREATEDTS, nullptr);
  EXPECT_EQ(pt1->pcharCREATEDTS->usCCSID, 0xFFFF);
  EXPECT_EQ(Text(pt1->pcharCREATEDTS), std::string(acCreated, 10));
  EXPECT_EQ(pt1->sCOLCOUNT, 4);
  EXPECT_EQ(pt1->sOBID, 4);
  EXPECT_EQ(pt1->sTID, 2);
  EXPECT_EQ(pt1->iNPAGES, 40);
  EXPECT_EQ(pt1->iFPAGES, 44);
  EXPECT_EQ(pt1->pcharBASE_NAME, nullptr);
  EXPECT_EQ(pt1->pcharBASE_SCHEMA, nullptr);
  EXPECT_EQ(Text(pt1->pcharTSNAME), "USERSPACE1");
  EXPECT_EQ(pt1->pcharINDEX_TBSPACE, nullptr);
  EXPECT_EQ(Text(pt1->pcharLONG_TBSPACE), "LONGSPACE");
  EXPECT_EQ(Text(pt1->pcharDEFINER), "ADM");
  EXPECT_EQ(pt1->sPMAP_ID, 1);
  EXPECT_EQ(Text(pt2->pcharNAME), "T2");
  EXPECT_EQ(pt2->cTYPE, 'V') << "views are taken too";

  ASSERT_NE(pt1->apchaine[0], nullptr);
  EXPECT_EQ(pt1->apchaine[0]->pData, static_cast<uintptr_t>(OSYSIBM_SYSCOLUMNS));
  auto vCols = Items<osysibmSyscolumns>(pt1->apchaine[0]);
  ASSERT_EQ(vCols.size(), 4u);
  EXPECT_EQ(Text(vCols[0]->pcharNAME), "B") << "page order, not COLNO order";
  EXPECT_EQ(Text(vCols[1]->pcharNAME), "A");
  EXPECT_EQ(Text(vCols[2]->pcharNAME), "D") << "the value-compressed column row";
  EXPECT_EQ(Text(vCols[3]->pcharNAME), "C");
  osysibmSyscolumns *pb = vCols[0], *pa = vCols[1], *pd = vCols[2], *pc = vCols[3];
  EXPECT_EQ(pd->iTypeId, OSYSIBM_TYPE_INTEGER);
  EXPECT_EQ(pd->sCOLNO, 3);
  EXPECT_EQ(pd->cNULLS, 'N');
  EXPECT_EQ(Text(pb->pcharTBNAME), "T1");
  EXPECT_EQ(Text(pb->pcharTBCREATOR), "TEST    ");
  EXPECT_EQ(Text(pb->pcharCOLTYPE), "VARCHAR ");
  EXPECT_EQ(pb->iTypeId, OSYSIBM_TYPE_VARCHAR);
  EXPECT_EQ(pb->cNULLS, 'Y');
  EXPECT_EQ(pb->sCODEPAGE, 850);
  EXPECT_EQ(pb->sDBCSCODEPG, 0);
  EXPECT_EQ(pb->sLENGTH, 10);
  EXPECT_EQ(pb->sSCALE, 0);
  EXPECT_EQ(pb->sCOLNO, 1);
  EXPECT_EQ(pb->pcharDEFAULTVALUE, nullptr) << "a nullable column without default";
  EXPECT_EQ(pb->iLENGTH2, 0);
  EXPECT_EQ(pb->cLOGGED, 'N');
  EXPECT_EQ(pb->cCOMPACT, 'N');
  EXPECT_EQ(pb->sCOMPOSITE_CODEPAGE, 1208);
  EXPECT_EQ(pa->iTypeId, OSYSIBM_TYPE_INTEGER);
  EXPECT_EQ(pa->sCOLNO, 0);
  EXPECT_EQ(Text(pa->pcharDEFAULTVALUE), "42");
  EXPECT_EQ(pc->iTypeId, OSYSIBM_TYPE_REAL) << "FLOAT of 4 bytes";
  ASSERT_NE(pc->pcharDEFAULTVALUE, nullptr);
  EXPECT_EQ(pc->pcharDEFAULTVALUE->ilBU, 0);

  auto vCols2 = Items<osysibmSyscolumns>(pt2->apchaine[0]);
  ASSERT_EQ(vCols2.size(), 1u);
  EXPECT_EQ(Text(vCols2[0]->pcharNAME), "ID");
  EXPECT_EQ(vCols2[0]->cCOMPACT, 'N');
  EXPECT_EQ(vCols2[0]->sCOMPOSITE_CODEPAGE, 0) << "a column the record does not hold stays 0";
}

}  // namespace

/* ------------------------------------------------------------ whole loads */

TEST(SysibmBackup, CatalogueOfSmsAndDmsImagesOfBothVersions)
{
  struct Case {
    const char *pcName;
    bool boDms;
    int iVersion;
  };
  const Case aCases[] = {{"SMS v8: table spaces in object 29", false, 8},
                         {"SMS v7: table spaces in object 27", false, 7},
                         {"DMS v8: table spaces in object 266", true, 8},
                         {"DMS v7: table spaces in object 264", true, 7}};
  Catalogue c = MakeCatalogue();
  for (bool boMoved : {false, true}) {
    /* SYSCOLUMNS' descriptor moved to page 1: it is no row there, and no damage */
    c.boDescriptorMoved = boMoved;
    for (const Case &k : aCases) {
      SCOPED_TRACE(std::string(k.pcName) + (boMoved ? ", descriptor moved" : ""));
      zavtestTempDir dir;
      zorbk *pzorbk = Open(dir, k.boDms ? DmsImage(c, k.iVersion) : SmsImage(c, k.iVersion));
      ASSERT_NE(pzorbk, nullptr);
      ASSERT_EQ(pzorbk->ilVersion, k.iVersion);
      ASSERT_EQ(pzorbk->ilCatalogTbsType, k.boDms ? 2 : 1);
      int rc = -1;
      ochaine *pchaine = nullptr;
      std::vector<std::string> vMsgs = zavtestMessages([&] { pchaine = sysibmLoadCatalogFromBackup(pzorbk, &rc); });
      EXPECT_EQ(rc, 0);
      EXPECT_EQ(vMsgs, std::vector<std::string>{});
      ExpectCatalogue(pchaine, static_cast<uint16_t>(pzorbk->isCCSID));
      catalogcliFreeTablespaces(pchaine);
      bkimageFree(pzorbk);
    }
  }
}

/*
** A catalogue that does not hold together is not used, not even in part: a
** damaged row of any of the three tables, a value-compressed row that does
** not expand, a table whose column rows do not add up to its count, a page
** that carries another number.
*/
TEST(SysibmBackup, DamagedCatalogueFailsTheLoad)
{
  auto damagedColumns = [](Catalogue &c) { c.vColumns0.push_back(Damaged(ColRow("T1", "BAD", "INTEGER ", 4, 5, db2pages::null()))); };
  struct Case {
    const char *pcName;
    std::function<void(Catalogue &)> fnDamage;
    int iRc;
    std::string strMessage;
  } aCases[] = {
      {"a damaged column row", damagedColumns, SYSIBMBK_RC_DAMAGED,
       "ZORU428E CATALOG TABLE SYSIBM.SYSCOLUMNS NOT READ WHOLE FROM THE BACKUP: PAGE 0 CANNOT BE READ (REASON CODE "
       "0x117a002)\n"},
      {"a damaged table row", [](Catalogue &c) { c.vTables.push_back(Damaged(TbRow("T9", 'T', 1, 8, 2))); },
       SYSIBMBK_RC_DAMAGED,
       "ZORU428E CATALOG TABLE SYSIBM.SYSTABLES NOT READ WHOLE FROM THE BACKUP: PAGE 0 CANNOT BE READ (REASON CODE "
       "0x117a002)\n"},
      {"a damaged table-space row",
       [](Catalogue &c) { c.vTablespaces.push_back(Damaged(TsRow("BROKEN", 7, 'D', 4, 4096, "G"))); },
       SYSIBMBK_RC_DAMAGED,
       "ZORU428E CATALOG TABLE SYSIBM.SYSTABLESPACES NOT READ WHOLE FROM THE BACKUP: PAGE 0 CANNOT BE READ (REASON "
       "CODE 0x117a002)\n"},
      {"a compressed row that does not expand",
       [](Catalogue &c) {
         /* NULL for the timestamp, which is not nullable */
         c.vTablespaces.push_back(db2pages::compressed(ColsTablespaces(), {Str("T"), Str("S"), db2pages::null()}));
       },
       SYSIBMBK_RC_DAMAGED,
       "ZORU428E CATALOG TABLE SYSIBM.SYSTABLESPACES NOT READ WHOLE FROM THE BACKUP: PAGE 0 CANNOT BE READ (REASON "
       "CODE 0x117a002)\n"},
      {"a table short of a column row", [](Catalogue &c) { c.vColumns1.erase(c.vColumns1.begin()); },
       SYSIBMBK_RC_COLUMNS,
       "ZORU435E TABLE TEST.T1 HAS 3 COLUMN RECORDS IN THE BACKUP CATALOG, ITS TABLE RECORD GIVES 4 COLUMNS\n"},
  };
  for (const Case &k : aCases) {
    for (bool boDms : {false, true}) {
      SCOPED_TRACE(std::string(k.pcName) + (boDms ? ", DMS" : ", SMS"));
      Catalogue c = MakeCatalogue();
      k.fnDamage(c);
      zavtestTempDir dir;
      zorbk *pzorbk = Open(dir, boDms ? DmsImage(c, 8) : SmsImage(c, 8));
      ASSERT_NE(pzorbk, nullptr);
      int rc = 0;
      ochaine *pchaine = nullptr;
      std::vector<std::string> vMsgs = zavtestMessages([&] { pchaine = sysibmLoadCatalogFromBackup(pzorbk, &rc); });
      EXPECT_EQ(pchaine, nullptr);
      catalogcliFreeTablespaces(pchaine);
      EXPECT_EQ(rc, k.iRc);
      EXPECT_EQ(vMsgs, std::vector<std::string>{k.strMessage});
      bkimageFree(pzorbk);
    }
  }
  /* DMS: page 1 of SYSCOLUMNS carries the number 9 */
  Catalogue c = MakeCatalogue();
  zavtestTempDir dir;
  zorbk *pzorbk = Open(dir, DmsImage(c, 8, [](std::vector<Bytes> &vPages) { obytePutLE32(vPages[13].data() + 28, 9); }));
  ASSERT_NE(pzorbk, nullptr);
  int rc = 0;
  ochaine *pchaine = nullptr;
  std::vector<std::string> vMsgs = zavtestMessages([&] { pchaine = sysibmLoadCatalogFromBackup(pzorbk, &rc); });
  EXPECT_EQ(pchaine, nullptr);
  EXPECT_EQ(rc, SYSIBMBK_RC_DAMAGED);
  EXPECT_EQ(vMsgs, std::vector<std::string>{"ZORU428E CATALOG TABLE SYSIBM.SYSCOLUMNS NOT READ WHOLE FROM THE BACKUP: "
                                            "PAGE 1 CANNOT BE READ (REASON CODE 0x117a043)\n"});
  bkimageFree(pzorbk);
}

TEST(SysibmBackup, NoCatalogueFromUnknownTypeOrMissingTable)
{
  Catalogue c = MakeCatalogue();
  for (uint32_t ulType : {0u, 3u}) {
    zavtestTempDir dir;
    zorbk *pzorbk = Open(dir, SmsImage(c, 8, ulType));
    ASSERT_NE(pzorbk, nullptr);
    EXPECT_EQ(sysibmLoadCatalogFromBackup(pzorbk), nullptr) << ulType;
    bkimageFree(pzorbk);
  }
  zavtestTempDir dir;
  zorbk *pzorbk = Open(dir, SmsImage(c, 8, 1, false));
  ASSERT_NE(pzorbk, nullptr);
  EXPECT_EQ(sysibmLoadCatalogFromBackup(pzorbk), nullptr) << "no SYSTABLES object: the columns are released";
  bkimageFree(pzorbk);
}

/*
** A catalogue table whose pages cannot all be read: the part read is never
** used.  SMS: SYSCOLUMNS in two objects, the second (object page 1) cut
** short of a whole page, which the image's page source refuses.  DMS: the
** extent map of SYSTABLES lists, after its first extent, an extent that no
** object of the image holds (object pages 4 on).
*/
TEST(SysibmBackup, CatalogueTableNotReadWholeFailsTheCatalogue)
{
  Catalogue c = MakeCatalogue();
  struct Case {
    const char *pcName;
    db2backupImage image;
    const char *pcMessage;
  };
  std::vector<Case> vCases;
  {
    db2backupImage cut;
    db2backupBegin(cut, 65536);
    db2backupAddObject(cut, 9, 0, 0, 0, db2backupLOT({{"SYSCATSPACE", 1}, {"USERSPACE1", 2}}));
    db2backupAddObject(cut, 11, 0, 0, 0, db2backupTbsDef(0, 1, 4, P));
    std::vector<Bytes> vPages = TablePages(ColsColumns(), c.vColumns0, c.vColumns1);
    db2backupAddObject(cut, 0, 0, 3, 0, vPages[0]);
    db2backupAddObject(cut, 0, 0, 3, 1, Bytes(vPages[1].begin(), vPages[1].end() - 512));
    db2backupAddObject(cut, 0, 0, 2, 0, Concat(TablePages(ColsTables(), c.vTables)));
    db2backupAddObject(cut, 0, 0, 29, 0, Concat(TablePages(ColsTablespaces(), c.vTablespaces)));
    db2backupAddObject(cut, 6, 0, 0, 0, {});
    db2backupAddObject(cut, 18, 0, 0, 0, {});
    vCases.push_back({"SMS", cut,
                      "ZORU428E CATALOG TABLE SYSIBM.SYSCOLUMNS NOT READ WHOLE FROM THE BACKUP: PAGE 1 CANNOT BE "
                      "READ (REASON CODE 0x113a003)\n"});
  }
  {
    /* SYSTABLES: 5 pages by its header, pages 0-3 in extent 20, page 4 in extent 40 (in no object of the image) */
    db2backupImage image = DmsImage(c, 8, [&](std::vector<Bytes> &vPages) {
      vPages[16] = EmpPage({20, 40});
      vPages[20] = db2pages::firstPage(P, 5, ColsTables(), c.vTables);
      for (uint32_t k = 1; k < 4; k++) vPages[20 + k] = db2pages::page(P, k, {});
      for (uint32_t k : {16u, 20u, 21u, 22u, 23u}) db2backupTearPage(vPages[k].data(), P);
    });
    vCases.push_back({"DMS", image,
                      "ZORU428E CATALOG TABLE SYSIBM.SYSTABLES NOT READ WHOLE FROM THE BACKUP: PAGE 4 CANNOT BE "
                      "READ (REASON CODE 0x113a003)\n"});
  }
  for (Case &k : vCases) {
    SCOPED_TRACE(k.pcName);
    zavtestTempDir dir;
    zorbk *pzorbk = Open(dir, k.image);
    ASSERT_NE(pzorbk, nullptr);
    int rc = 0;
    ochaine *pchaine = nullptr;
    std::vector<std::string> vMsgs = zavtestMessages([&] { pchaine = sysibmLoadCatalogFromBackup(pzorbk, &rc); });
    EXPECT_EQ(pchaine, nullptr);
    catalogcliFreeTablespaces(pchaine);
    EXPECT_EQ(rc, ZORTS_RC_READ);
    EXPECT_EQ(vMsgs, std::vector<std::string>{k.pcMessage});
    bkimageFree(pzorbk);
  }
  /* the same images whole: the catalogue, no message */
  zavtestTempDir dir;
  zorbk *pzorbk = Open(dir, SmsImage(c, 8));
  ASSERT_NE(pzorbk, nullptr);
  int rc = -1;
  ochaine *pchaine = nullptr;
  std::vector<std::string> vMsgs = zavtestMessages([&] { pchaine = sysibmLoadCatalogFromBackup(pzorbk, &rc); });
  EXPECT_EQ(rc, 0);
  EXPECT_TRUE(vMsgs.empty());
  ExpectCatalogue(pchaine, static_cast<uint16_t>(pzorbk->isCCSID));
  catalogcliFreeTablespaces(pchaine);
  bkimageFree(pzorbk);
}

/* The traces of an unknown type and of a compressed table-space row, read from the trace file. */
TEST(SysibmBackup, TracesOfUnknownTypeAndCompressedRow)
{
  zavtestTempDir dir;
  Catalogue c = MakeCatalogue();
  ASSERT_TRUE(db2backupWrite(SmsImage(c, 8, 5), dir.file("unknown")));
  ASSERT_TRUE(db2backupWrite(SmsImage(c, 8), dir.file("sms")));
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    alarm(60);
    int rc = chdir(dir.path.c_str());
    ochar *pcharList = ocharCreate(0, 850);
    ocharAppendFixed(pcharList, "$SYSIBM ", 8);
    int iCentre = 0;
    rc |= omsgsInitModule("/", static_cast<int>(getpid()), nullptr, 0, 0, pcharList, 1, &iCentre, nullptr, nullptr);
    ocharDestroy(pcharList);
    for (const char *pcFile : {"unknown", "sms"}) {
      ochar *pcharName = ocharCreate(0, 850);
      ocharAppendFixed(pcharName, pcFile, static_cast<int32_t>(std::strlen(pcFile)));
      ochar *pcharAlias = ocharCreate(0, 850);
      ocharAppendFixed(pcharAlias, "SAMPLE", 6);
      int rcOpen = 0;
      zorbk *pzorbk = zorbkCreate(pcharName, pcharAlias, nullptr, &rcOpen);
      ochaine *pchaine = sysibmLoadCatalogFromBackup(pzorbk);
      if ((pchaine == nullptr) != (pcFile[0] == 'u')) rc |= 0x100;
      catalogcliFreeTablespaces(pchaine);
      bkimageFree(pzorbk);
      ocharDestroy(pcharName);
      ocharDestroy(pcharAlias);
    }
    rc |= omsgsDestroyModule(iCentre);
    _exit(rc == 0 ? 0 : 1);
  }
  int iStatus = -1;
  waitpid(pid, &iStatus, 0);
  ASSERT_TRUE(WIFEXITED(iStatus) && WEXITSTATUS(iStatus) == 0) << iStatus;
  char acName[32];
  std::snprintf(acName, sizeof acName, "$SYSIBM_%5.5i", static_cast<int>(pid));
  std::vector<unsigned char> v = zavtestReadFile(dir.file(acName));
  std::string strTrace(v.begin(), v.end());
  EXPECT_NE(strTrace.find("] Unknown Catalog Type : 5\n"), std::string::npos) << strTrace;
  size_t ulFirst = strTrace.find("] COMPRESSED RECORD expanded\n");
  EXPECT_NE(ulFirst, std::string::npos) << strTrace;
  EXPECT_EQ(strTrace.find("COMPRESSED RECORD expanded", ulFirst + 3), std::string::npos)
      << "only the table-space row traces; the compressed column row does not" << strTrace;
}

/* ------------------------------------------------------------ merges */

namespace {

osysibmSystables *NewTable(const char *pcCreator, const char *pcName, int16_t sTid)
{
  auto *p = static_cast<osysibmSystables *>(std::calloc(1, sizeof(osysibmSystables)));
  p->pcharCREATOR = ocharCreate(0, 850);
  ocharAppendFixed(p->pcharCREATOR, pcCreator, static_cast<int32_t>(std::strlen(pcCreator)));
  p->pcharNAME = ocharCreate(0, 850);
  ocharAppendFixed(p->pcharNAME, pcName, static_cast<int32_t>(std::strlen(pcName)));
  p->sTID = sTid;
  return p;
}

osysibmSyscolumns *NewColumn(const char *pcCreator, const char *pcTable, const char *pcName)
{
  auto *p = static_cast<osysibmSyscolumns *>(std::calloc(1, sizeof(osysibmSyscolumns)));
  p->pcharTBCREATOR = ocharCreate(0, 850);
  ocharAppendFixed(p->pcharTBCREATOR, pcCreator, static_cast<int32_t>(std::strlen(pcCreator)));
  p->pcharTBNAME = ocharCreate(0, 850);
  ocharAppendFixed(p->pcharTBNAME, pcTable, static_cast<int32_t>(std::strlen(pcTable)));
  p->pcharNAME = ocharCreate(0, 850);
  ocharAppendFixed(p->pcharNAME, pcName, static_cast<int32_t>(std::strlen(pcName)));
  return p;
}

std::string Names(ochaine *pchaine)
{
  std::string s;
  for (auto *p : Items<osysibmSyscolumns>(pchaine)) s += Text(p->pcharNAME) + " ";
  return s;
}

}  // namespace

TEST(SysibmBackup, MergeKeepsPageOrderAndLeavesOrphans)
{
  ochaine *pchaineTables = ochaineCreate(sizeof(osysibmSystables), nullptr, osysibmChaineDestroyProc);
  ochaine *pchaineColumns = ochaineCreate(sizeof(osysibmSyscolumns), nullptr, osysibmChaineDestroyProc);
  ochaine *pchaineTbs = ochaineCreate(sizeof(osysibmSystablespace), nullptr, osysibmChaineDestroyProc);
  /* Same name under two creators: only the blank-padded creator decides. */
  ochaineAppend(pchaineTables, NewTable("A", "T", 3));
  ochaineAppend(pchaineTables, NewTable("B", "T", 4));
  ochaineAppend(pchaineTables, NewTable("A", "U", 3));
  const char *aCols[][3] = {{"B   ", "T", "b1"}, {"A", "U", "u1"}, {"A  ", "T", "a1"}, {"Z", "T", "z1"},
                            {"A", "T", "a2"},    {"B", "T", "b2"}, {"A", "U", "u2"}};
  for (auto &col : aCols) ochaineAppend(pchaineColumns, NewColumn(col[0], col[1], col[2]));
  _sysibmMergeTableColumn(pchaineTables, pchaineColumns);
  auto vTables = Items<osysibmSystables>(pchaineTables);
  EXPECT_EQ(Names(vTables[0]->apchaine[0]), "a1 a2 ");
  EXPECT_EQ(Names(vTables[1]->apchaine[0]), "b1 b2 ");
  EXPECT_EQ(Names(vTables[2]->apchaine[0]), "u1 u2 ");
  EXPECT_EQ(Names(pchaineColumns), "z1 ") << "a column without table stays behind";

  auto *ptbs = static_cast<osysibmSystablespace *>(std::calloc(1, sizeof(osysibmSystablespace)));
  ptbs->sOBID = 3;
  ochaineAppend(pchaineTbs, ptbs);
  _sysibmMergeTSTable(pchaineTbs, pchaineTables);
  auto vMoved = Items<osysibmSystables>(ptbs->apchaine[1]);
  ASSERT_EQ(vMoved.size(), 2u);
  EXPECT_EQ(Text(vMoved[0]->pcharNAME), "T");
  EXPECT_EQ(Text(vMoved[1]->pcharNAME), "U");
  EXPECT_EQ(pchaineTables->iItemCount, 1) << "table space 4 does not exist";

  catalogcliFreeColumns(pchaineColumns);
  catalogcliFreeTables(pchaineTables);
  catalogcliFreeTablespaces(pchaineTbs);
}
