/*
** Table-space objects over backup images: creation with the long-field and
** LOB child objects, long fields and LOBs loaded by descriptor (inline,
** across pages and extents, into LOB files), damaged descriptors refused.
*/
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>
#include <unistd.h>

#include "common/obyte.h"
#include "common/ochaine.h"
#include "common/ochar.h"
#include "common/olist.h"
#include "model/token.h"
#include "model/udb.h"
#include "model/zoratom.h"
#include "model/zortask.h"
#include "io/zor3write.h"
#include "storage/ficcont.h"
#include "storage/zorbk.h"
#include "storage/zordat.h"
#include "storage/zorts.h"
#include "tests/storage/bkimage.h"
#include "tests/zavtest.h"
#include "tools/db2backup.h"
#include "tools/db2spcs.h"

namespace {

const uint32_t P = 4096;

ochar *Text(const std::string &str)
{
  ochar *pchar = ocharCreate(0, 850);
  ocharAppendFixed(pchar, str.data(), static_cast<int32_t>(str.size()));
  ocharMakeC(pchar);
  return pchar;
}

/* Opens an image; the backup objects live until exit in the program, the tests free them. */
struct Image {
  zorbk *pzorbk = nullptr;
  int rc = -1;
  explicit Image(const std::string &strPath)
  {
    ochar *pcharName = Text(strPath), *pcharAlias = Text("SAMPLE");
    pzorbk = zorbkCreate(pcharName, pcharAlias, nullptr, &rc);
    ocharDestroy(pcharName);
    ocharDestroy(pcharAlias);
  }
  ~Image() { bkimageFree(pzorbk); }
};

/* Page 0 of a table holding one INTEGER column, torn as DB2 writes it. */
db2backupBytes TablePage0()
{
  db2backupBytes vHeader(8, 0);
  obytePutLE32(vHeader.data(), 1);
  db2backupBytes vDesc(12, 0);
  obytePutLE16(vDesc.data() + 2, 1);
  obytePutLE16(vDesc.data() + 4, 1);
  obytePutLE16(vDesc.data() + 6, 4);
  db2backupBytes v = db2backupPage(P, 0, {db2backupRecord(0, vHeader), {}, db2backupRecord(0, db2backupBytes(8, 0)),
                                          db2backupRecord(0, vDesc)});
  db2backupTearPage(v.data(), P);
  return v;
}

/* Contents of the long objects: no period that lines up with sectors or pages. */
db2backupBytes Pattern(size_t ulSize, unsigned uSeed)
{
  db2backupBytes v(ulSize);
  for (size_t i = 0; i < ulSize; i++) v[i] = static_cast<unsigned char>((i % 251) ^ (i >> 10) ^ uSeed);
  return v;
}

const db2backupBytes gvLF = Pattern(3 * P, 0x11);
const db2backupBytes gvLOB = Pattern(64 * 1024, 0x5A);

/* SMS table space 2, table 5: data page 0, three long-field pages, a 64 KB LOB object in 1 KB units. */
db2backupImage SmsImage()
{
  db2backupImage image;
  db2backupBegin(image, 65536);
  db2backupAddObject(image, 11, 2, 0, 0, db2backupTbsDef(2, 1, 4, P));
  db2backupAddObject(image, 0, 2, 5, 0, TablePage0());
  db2backupAddObject(image, 2, 2, 5, 0, gvLF);
  db2backupAddObject(image, 16, 2, 5, 0, db2backupBytes(gvLOB.begin(), gvLOB.begin() + 40 * 1024));
  db2backupAddObject(image, 16, 2, 5, 40, db2backupBytes(gvLOB.begin() + 40 * 1024, gvLOB.end()));
  db2backupAddObject(image, 0, 2, 6, 0, TablePage0());     /* table 6: no long objects */
  db2backupAddObject(image, 18, 0, 0, 0, {});
  return image;
}

/*
** DMS table space 3, extent size 4: object table at 4, table 5's data EMP
** at 8 (data 12), its long-field EMP at 16 with object extents 0 and 1 at
** table-space pages 24 and 20 (out of order), its LOB EMP at 28 (data 32).
*/
db2backupImage DmsImage()
{
  std::vector<db2backupBytes> vPages = bkimageDmsLongSpace(P);
  vPages[12] = TablePage0();
  db2backupBytes vLF = Pattern(8 * P, 0x33);
  for (int k = 0; k < 8; k++) {
    int t = k < 4 ? 24 + k : 16 + k;
    vPages[t].assign(vLF.begin() + k * P, vLF.begin() + (k + 1) * P);
  }
  for (int k = 0; k < 4; k++) vPages[32 + k].assign(gvLOB.begin() + k * P, gvLOB.begin() + (k + 1) * P);
  db2backupBytes vAll;
  for (auto &page : vPages) vAll.insert(vAll.end(), page.begin(), page.end());
  db2backupImage image;
  db2backupBegin(image, 65536);
  db2backupAddObject(image, 11, 3, 0, 0, db2backupTbsDef(3, 2, 4, P));
  db2backupAddObject(image, 12, 3, 0, 0, vAll);
  db2backupAddObject(image, 18, 0, 0, 0, {});
  return image;
}

/* A LOB descriptor with s slots, t tail segments, buddy code c and the given slot values. */
db2backupBytes LobDesc(int s, int t, int c, int32_t ilLength, const std::vector<int32_t> &vSlots)
{
  db2backupBytes v(56 + 4 * (vSlots.size() > 1 ? vSlots.size() : 1), 0);
  v[2] = static_cast<unsigned char>(s);
  v[20] = static_cast<unsigned char>(t);
  v[21] = static_cast<unsigned char>(c);
  obytePutLE32(v.data() + 8, static_cast<uint32_t>(ilLength));
  for (size_t i = 0; i < vSlots.size(); i++) obytePutLE32(v.data() + 56 + 4 * i, static_cast<uint32_t>(vSlots[i]));
  return v;
}

db2backupBytes LFDesc(int32_t L, int32_t Pos)
{
  db2backupBytes v(12, 0);
  obytePutLE32(v.data(), static_cast<uint32_t>(L));
  obytePutLE32(v.data() + 8, static_cast<uint32_t>(Pos));
  return v;
}

/* Bytes of the LOB object from 1 KB unit u, n of them. */
db2backupBytes Units(const db2backupBytes &vObject, int32_t u, int32_t n)
{
  return db2backupBytes(vObject.begin() + u * 1024, vObject.begin() + u * 1024 + n);
}

db2backupBytes Cat(std::initializer_list<db2backupBytes> parts)
{
  db2backupBytes v;
  for (const auto &p : parts) v.insert(v.end(), p.begin(), p.end());
  return v;
}

class ZortsTest : public ::testing::Test {
protected:
  zavtestTempDir dir;
};

}  // namespace

TEST_F(ZortsTest, BackupObjectsHaveTheirChildrenOrAreRefused)
{
  ASSERT_TRUE(db2backupWrite(SmsImage(), dir.file("sms")));
  Image img(dir.file("sms"));
  ASSERT_NE(img.pzorbk, nullptr);
  int rc = -1;
  zorts *pzorts = zortsCreateFromBackup(img.pzorbk, 2, 5, &rc);
  ASSERT_NE(pzorts, nullptr);
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(pzorts->iType, ZORTS_TYPE_SMS);
  EXPECT_EQ(pzorts->iSource, ZORTS_SOURCE_BACKUP);
  EXPECT_EQ(pzorts->ilPageSize, static_cast<int32_t>(P));
  EXPECT_EQ(pzorts->tbdesc.sColumnCount, 1);
  ASSERT_NE(pzorts->pzortsLF, nullptr);
  ASSERT_NE(pzorts->pzortsLOB, nullptr);
  EXPECT_EQ(zortsLaunchThreads(pzorts), 0);
  zortsDestroy(pzorts);

  /* a table without long objects gets no children */
  pzorts = zortsCreateFromBackup(img.pzorbk, 2, 6, &rc);
  ASSERT_NE(pzorts, nullptr);
  EXPECT_EQ(pzorts->pzortsLF, nullptr);
  EXPECT_EQ(pzorts->pzortsLOB, nullptr);
  zortsDestroy(pzorts);

  /* a table space the image does not hold */
  std::vector<std::string> vMsgs = zavtestMessages([&] { pzorts = zortsCreateFromBackup(img.pzorbk, 9, 5, &rc); });
  EXPECT_EQ(pzorts, nullptr);
  EXPECT_EQ(rc, ZORTS_RC_NOTINIMAGE);
  ASSERT_EQ(vMsgs.size(), 1u);
  EXPECT_EQ(vMsgs[0].rfind("ZORU431E TABLESPACE CORRESPONDING TO TABLE NOT FOUND IN BACKUP FILE", 0), 0u) << vMsgs[0];

  /* a table the image does not hold: the data source's code */
  pzorts = zortsCreateFromBackup(img.pzorbk, 2, 77, &rc);
  EXPECT_EQ(pzorts, nullptr);
  EXPECT_NE(rc, 0);
  EXPECT_EQ(zortsLaunchThreads(nullptr), ZORTS_RC_NOMEM);
  zortsDestroy(nullptr);
}

TEST_F(ZortsTest, LongFieldsAndInlineLobsFollowTheirDescriptors)
{
  ASSERT_TRUE(db2backupWrite(SmsImage(), dir.file("sms")));
  Image img(dir.file("sms"));
  int rc = -1;
  zorts *pzorts = zortsCreateFromBackup(img.pzorbk, 2, 5, &rc);
  ASSERT_NE(pzorts, nullptr);
  std::vector<unsigned char> vTarget(40000);
  int32_t ilLength = -1;

  /* 5000 bytes at 512-byte unit 7: 512 of page 0 from 3584, all of page 1, 392 of page 2 */
  db2backupBytes vDesc = LFDesc(5000, 7);
  ASSERT_EQ(zortsLoadLF(pzorts->pzortsLF, vDesc.data(), vTarget.data(), 40000, &ilLength), 0);
  EXPECT_EQ(ilLength, 5000);
  EXPECT_TRUE(std::equal(vTarget.begin(), vTarget.begin() + 5000, gvLF.begin() + 3584));

  struct Case {
    const char *pcName;
    db2backupBytes vDesc;
    db2backupBytes vExpected;
  } aCases[] = {
      {"buddy slots 1K, 2K, then 6928 of 8K", LobDesc(3, 0, 0, 10000, {20, 2, 8}),
       Cat({Units(gvLOB, 20, 1024), Units(gvLOB, 2, 2048), Units(gvLOB, 8, 6928)})},
      {"buddy code 1: 2K then 952, nothing left for the tail", LobDesc(3, 1, 1, 3000, {4, 12, 30}),
       Cat({Units(gvLOB, 4, 2048), Units(gvLOB, 12, 952)})},
      {"one buddy slot, then a 1K tail cut to 476", LobDesc(2, 1, 0, 1500, {10, 40}),
       Cat({Units(gvLOB, 10, 1024), Units(gvLOB, 40, 476)})},
      {"two tails read from the larger down", LobDesc(2, 2, 0, 3500, {5, 50, 60}),
       Cat({Units(gvLOB, 5, 1024), Units(gvLOB, 60, 2048), Units(gvLOB, 50, 428)})},
      {"an empty slot between tails: the size follows the slot", LobDesc(2, 2, 0, 6000, {5, 50, -1, 54}),
       Cat({Units(gvLOB, 5, 1024), Units(gvLOB, 54, 4096), Units(gvLOB, 50, 880)})},
      {"longer than 32700: cut", LobDesc(1, 0, 5, 40000, {16}), Units(gvLOB, 16, 32700)},
      {"empty LOB", LobDesc(1, 0, 0, 0, {-1}), {}},
  };
  for (const Case &c : aCases) {
    SCOPED_TRACE(c.pcName);
    std::fill(vTarget.begin(), vTarget.end(), 0xEE);
    ilLength = -1;
    ASSERT_EQ(zortsLoadInlineLob(pzorts->pzortsLOB, c.vDesc.data(), static_cast<int32_t>(c.vDesc.size()),
                                 vTarget.data(), 40000, &ilLength),
              0);
    ASSERT_EQ(ilLength, static_cast<int32_t>(c.vExpected.size()));
    EXPECT_TRUE(std::equal(c.vExpected.begin(), c.vExpected.end(), vTarget.begin()));
    EXPECT_EQ(vTarget[c.vExpected.size()], 0xEE);
  }
  zortsDestroy(pzorts);
}

TEST_F(ZortsTest, DamagedDescriptorsAndMissingPagesAreRefused)
{
  ASSERT_TRUE(db2backupWrite(SmsImage(), dir.file("sms")));
  Image img(dir.file("sms"));
  int rc = -1;
  zorts *pzorts = zortsCreateFromBackup(img.pzorbk, 2, 5, &rc);
  ASSERT_NE(pzorts, nullptr);
  std::vector<unsigned char> vTarget(40000, 0xEE);
  int32_t ilLength = -1;
  struct Case {
    const char *pcName;
    db2backupBytes vDesc;
    int32_t ilDescSize;   /* -1: the whole descriptor */
    int iExpected;
  } aCases[] = {
      {"no slot", LobDesc(0, 0, 0, 100, {3}), -1, ZORTS_RC_BADDESC},
      {"more slots than the descriptor holds", LobDesc(5, 0, 0, 100, {3, 4}), -1, ZORTS_RC_BADDESC},
      {"descriptor shorter than its first slot", LobDesc(1, 0, 0, 100, {3}), 40, ZORTS_RC_BADDESC},
      {"more tails than slots", LobDesc(1, 3, 0, 100, {3}), -1, ZORTS_RC_BADDESC},
      {"buddy code past any LOB size", LobDesc(1, 0, 200, 100, {3}), -1, ZORTS_RC_BADDESC},
      {"negative length", LobDesc(1, 0, 0, -5, {3}), -1, ZORTS_RC_BADDESC},
      {"empty buddy slot with bytes wanted", LobDesc(2, 0, 0, 2000, {3, -1}), -1, ZORTS_RC_BADDESC},
      {"segments end before the length", LobDesc(1, 0, 0, 5000, {3}), -1, ZORTS_RC_BADDESC},
      {"tail segment not found", LobDesc(2, 2, 0, 3000, {3, 9}), -1, ZORTS_RC_BADDESC},
      {"segment past the LOB object", LobDesc(1, 0, 0, 1000, {200}), -1, ZORBK_RC_NOPAGE},
  };
  for (const Case &c : aCases) {
    SCOPED_TRACE(c.pcName);
    int32_t ilSize = c.ilDescSize < 0 ? static_cast<int32_t>(c.vDesc.size()) : c.ilDescSize;
    EXPECT_EQ(zortsLoadInlineLob(pzorts->pzortsLOB, c.vDesc.data(), ilSize, vTarget.data(), 40000, &ilLength),
              c.iExpected);
  }
  /* a LOB larger than the room left in the record */
  db2backupBytes vBig = LobDesc(1, 0, 4, 10000, {0});
  EXPECT_EQ(zortsLoadInlineLob(pzorts->pzortsLOB, vBig.data(), static_cast<int32_t>(vBig.size()), vTarget.data(),
                               5000, &ilLength),
            ZORTS_RC_BADDESC);

  /* long fields: negative values, a field larger than the target, pages past the object */
  EXPECT_EQ(zortsLoadLF(pzorts->pzortsLF, LFDesc(-1, 0).data(), vTarget.data(), 40000, &ilLength), ZORTS_RC_BADDESC);
  EXPECT_EQ(zortsLoadLF(pzorts->pzortsLF, LFDesc(10, -3).data(), vTarget.data(), 40000, &ilLength), ZORTS_RC_BADDESC);
  EXPECT_EQ(zortsLoadLF(pzorts->pzortsLF, LFDesc(300, 0).data(), vTarget.data(), 200, &ilLength), ZORTS_RC_BADDESC);
  EXPECT_NE(zortsLoadLF(pzorts->pzortsLF, LFDesc(2000, 23).data(), vTarget.data(), 40000, &ilLength), 0);
  zortsDestroy(pzorts);
}

TEST_F(ZortsTest, DmsLongObjectsAreReadThroughTheirExtentMaps)
{
  ASSERT_TRUE(db2backupWrite(DmsImage(), dir.file("dms")));
  Image img(dir.file("dms"));
  ASSERT_NE(img.pzorbk, nullptr);
  int rc = -1;
  zorts *pzorts = zortsCreateFromBackup(img.pzorbk, 3, 5, &rc);
  ASSERT_NE(pzorts, nullptr) << std::hex << rc;
  EXPECT_EQ(pzorts->iType, ZORTS_TYPE_DMS);
  ASSERT_NE(pzorts->pzortsLF, nullptr);
  ASSERT_NE(pzorts->pzortsLOB, nullptr);
  std::vector<unsigned char> vTarget(40000);
  int32_t ilLength = -1;
  /* object page 3 (table-space page 27) from byte 1024, on into object page 4 (page 20) */
  db2backupBytes vLF = Pattern(8 * P, 0x33);
  ASSERT_EQ(zortsLoadLF(pzorts->pzortsLF, LFDesc(5000, 26).data(), vTarget.data(), 40000, &ilLength), 0);
  EXPECT_EQ(ilLength, 5000);
  EXPECT_TRUE(std::equal(vTarget.begin(), vTarget.begin() + 5000, vLF.begin() + 26 * 512));
  /* an 8 KB buddy segment from unit 2 crosses two pages of the LOB object */
  db2backupBytes vDesc = LobDesc(1, 0, 3, 8000, {2});
  ASSERT_EQ(zortsLoadInlineLob(pzorts->pzortsLOB, vDesc.data(), static_cast<int32_t>(vDesc.size()), vTarget.data(),
                               40000, &ilLength),
            0);
  EXPECT_EQ(ilLength, 8000);
  EXPECT_TRUE(std::equal(vTarget.begin(), vTarget.begin() + 8000, gvLOB.begin() + 2048));
  zortsDestroy(pzorts);
}

namespace {

void *CloneText(void *p) { return ocharClone(static_cast<ochar *>(p)); }
void DestroyText(void *p) { ocharDestroy(static_cast<ochar *>(p)); }

/* A SELECT task naming one LOBFILE in one LOB directory. */
struct LobSelect {
  zortask *ptask;
  olist *plistLob;
  explicit LobSelect(const std::string &strDir)
  {
    ptask = zortaskCreateNamed(gapnameTotalToken[TOKEN_SELECT]);
    zortaskAddAtom(ptask, zoratomCreate(gapnameTotalToken[TOKEN_TBNAME], ZORATOM_OCHAR, 0, (uintptr_t)Text("T1"),
                                        nullptr, nullptr));
    olist *plist = olistCreateRef(CloneText, DestroyText);
    olistAppendRef(plist, Text("lob"), 1);
    zortaskAddAtom(ptask, zoratomCreate(gapnameTotalToken[TOKEN_LOBFILE], ZORATOM_OLIST, 0, (uintptr_t)plist,
                                        nullptr, nullptr));
    plistLob = olistCreateRef(nullptr, nullptr);
    udbLobPath *plob = udbLobPathCreate();
    plob->pcharPath = Text(strDir);
    olistAppendRef(plistLob, plob, 0);
    zortaskAddAtom(ptask, zoratomCreate(gapnameTotalToken[TOKEN_LOB], ZORATOM_OLIST, ZORATOM_BORROWED,
                                        (uintptr_t)plistLob, nullptr, nullptr));
  }
  ~LobSelect()
  {
    zortaskDestroy(ptask);
    olistIterator iter;
    olistIteratorInit(&iter, plistLob);
    while (olistIteratorNext(&iter)) udbLobPathDestroy(static_cast<udbLobPath *>(olistIteratorGetRef(&iter)));
    olistIteratorDestroy(&iter);
    olistDestroy(plistLob);
  }
};

}  // namespace

TEST_F(ZortsTest, LobsWrittenToLobFilesLeaveTheirNameInTheRow)
{
  ASSERT_EQ(tokenInitKeyword(), 0);
  ASSERT_TRUE(db2backupWrite(SmsImage(), dir.file("sms")));
  Image img(dir.file("sms"));
  int rc = -1;
  zorts *pzorts = zortsCreateFromBackup(img.pzorbk, 2, 5, &rc);
  ASSERT_NE(pzorts, nullptr);
  db2backupBytes vDesc1 = LobDesc(3, 0, 0, 10000, {20, 2, 8});
  db2backupBytes vExpected1 = Cat({Units(gvLOB, 20, 1024), Units(gvLOB, 2, 2048), Units(gvLOB, 8, 6928)});
  db2backupBytes vDesc2 = LobDesc(1, 0, 6, 40000, {0});     /* whole, not cut to 32700 */
  db2backupBytes vExpected2 = Units(gvLOB, 0, 40000);
  for (bool boLLS : {false, true}) {
    SCOPED_TRACE(boLLS ? "location specifiers" : "file names");
    zavtestTempDir dirLob;
    LobSelect select(dirLob.path);
    zorwrite *pwrite = writeCreate(ZORWRITE_LOB | (boLLS ? ZORWRITE_LLS : 0), 0, nullptr, 1024, nullptr, select.ptask);
    ASSERT_NE(pwrite, nullptr);
    std::vector<unsigned char> vTarget(512, 0);
    std::vector<std::string> vTexts;
    for (const db2backupBytes *pv : {&vDesc1, &vDesc2}) {
      int32_t ilLength = -1;
      ASSERT_EQ(zortsLoadInFileLob(pzorts->pzortsLOB, pwrite, nullptr, pv->data(), static_cast<int32_t>(pv->size()),
                                   vTarget.data(), 512, &ilLength),
                0);
      vTexts.emplace_back(reinterpret_cast<char *>(vTarget.data()), static_cast<size_t>(ilLength));
    }
    ASSERT_EQ(writeFlush(pwrite), 0);
    writeClose(pwrite);
    writeDestroy(pwrite);
    if (boLLS) {
      std::string strFile = dirLob.path + "/lob_000.001";
      EXPECT_EQ(vTexts[0], strFile + ".0.10000/");
      EXPECT_EQ(vTexts[1], strFile + ".10000.40000/");
      EXPECT_EQ(zavtestReadFile(strFile), Cat({vExpected1, vExpected2}));
    } else {
      EXPECT_EQ(vTexts[0], dirLob.path + "/lob_000.001");
      EXPECT_EQ(vTexts[1], dirLob.path + "/lob_000.002");
      EXPECT_EQ(zavtestReadFile(vTexts[0]), vExpected1);
      EXPECT_EQ(zavtestReadFile(vTexts[1]), vExpected2);
    }
  }
  zortsDestroy(pzorts);
}

/* ------------------------------------------------------- online source */

namespace {

/* An SMS table space of one container directory holding table 7's .DAT, .LF and .LB files. */
struct OnlineSms {
  zavtestTempDir dir;
  ficcont *prec = nullptr;
  OnlineSms()
  {
    db2spcsTablespace ts;
    ts.sId = 2;
    ts.strName = "USERSPACE1";
    ts.ulFlags = FICCONT_TYPE_SMS;
    ts.ulExtentSize = 4;
    ts.ulPageSize = P;
    db2spcsContainer c;
    c.strPath = "d0";
    ts.vContainers.push_back(c);
    std::string strDb = dir.path + "/";
    std::filesystem::create_directory(strDb + "d0");
    std::vector<unsigned char> v = db2spcsRecord(ts);
    ochar *pchar = Text("USERSPACE1");
    prec = ficcontCreate();
    int iFound = 0;
    EXPECT_EQ(ficcontGetTBSSegment(v.data(), "localhost", pchar, strDb.c_str(), 0, prec, &iFound), 0);
    ocharDestroy(pchar);
    auto write = [&](const char *pcName, const db2backupBytes &vData) {
      FILE *pf = std::fopen((strDb + "d0/" + pcName).c_str(), "wb");
      ASSERT_NE(pf, nullptr);
      ASSERT_EQ(std::fwrite(vData.data(), 1, vData.size(), pf), vData.size());
      std::fclose(pf);
    };
    write("SQL00007.DAT", TablePage0());
    write("SQL00007.LF", gvLF);
    write("SQL00007.LB", gvLOB);
  }
  ~OnlineSms() { ficcontDestroy(prec); }
};

}  // namespace

TEST_F(ZortsTest, OnlineObjectsLoadLongDataThroughTheirChildren)
{
  OnlineSms sp;
  int iCode = -1;
  zordat *pzordat = zordatCreate(sp.prec, nullptr, 2, 7, "", nullptr, &iCode);
  ASSERT_NE(pzordat, nullptr) << std::hex << iCode;
  zorts *pzorts = zortsCreateFromDat(pzordat, &iCode);
  ASSERT_NE(pzorts, nullptr) << std::hex << iCode;
  EXPECT_EQ(pzorts->iSource, ZORTS_SOURCE_ONLINE);
  EXPECT_EQ(pzorts->iType, ZORTS_TYPE_SMS);
  EXPECT_EQ(pzorts->tbdesc.sColumnCount, 1);
  ASSERT_NE(pzorts->pzortsLF, nullptr);
  ASSERT_NE(pzorts->pzortsLOB, nullptr);
  ASSERT_EQ(zortsLaunchThreads(pzorts), 0);
  int iPages = 0;
  for (;;) {
    unsigned char *puc = pzorts->pfnReadNext(pzorts, &iCode);
    if (puc == nullptr && iCode == 0) continue;
    if (puc == nullptr) break;
    iPages++;
  }
  EXPECT_EQ(iPages, 1);
  std::vector<unsigned char> vTarget(40000);
  int32_t ilLength = -1;
  ASSERT_EQ(zortsLoadLF(pzorts->pzortsLF, LFDesc(5000, 7).data(), vTarget.data(), 40000, &ilLength), 0);
  EXPECT_TRUE(std::equal(vTarget.begin(), vTarget.begin() + 5000, gvLF.begin() + 3584));
  db2backupBytes vDesc = LobDesc(2, 1, 0, 1500, {10, 40});
  ASSERT_EQ(zortsLoadInlineLob(pzorts->pzortsLOB, vDesc.data(), static_cast<int32_t>(vDesc.size()), vTarget.data(),
                               40000, &ilLength),
            0);
  EXPECT_EQ(ilLength, 1500);
  db2backupBytes vExpected = Cat({Units(gvLOB, 10, 1024), Units(gvLOB, 40, 476)});
  EXPECT_TRUE(std::equal(vExpected.begin(), vExpected.end(), vTarget.begin()));
  zortsDestroy(pzorts);
  zordatDestroy(pzordat);
  EXPECT_EQ(zortsCreateFromDat(nullptr, &iCode), nullptr);
  EXPECT_EQ(iCode, ZORTS_RC_NOMEM);
}
