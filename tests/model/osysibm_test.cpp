/*
** osysibm_test.cpp
**   Catalogue records and the type vocabulary: type-name and CLI type
**   mapping, builders from converted rows (field placement, child chains,
**   bounds), destroy of every record type, the chain printers and the
**   data-type and database registries.
*/
#include "model/osysibm.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/odict.h"
#include "common/ostrdict.h"
#include "model/orow.h"

namespace {

/* An ochar made from a C string (CCSID 850), owned by the caller. */
ochar *makeString(const char *pcText)
{
  ochar *pchar = static_cast<ochar *>(std::calloc(1, sizeof(ochar)));
  ocharInitFromFixed(pchar, pcText, static_cast<int32_t>(std::strlen(pcText)), 850);
  return pchar;
}

std::string text(const ochar *pchar)
{
  if (pchar == nullptr) return "<null>";
  return std::string(_charText(pchar), static_cast<size_t>(pchar->ilBU));
}

/*
** A converted catalogue row built column by column: each add appends the
** value's bytes to the buffer and a definition whose data position points
** at them.  Columns added with skip() have no data position.
*/
class ConvertedRow {
 public:
  ConvertedRow &link() { return add(0, 4, std::string(sizeof(void *), '\0')); }
  ConvertedRow &skip()
  {
    aiType_.push_back(0);
    aiOffset_.push_back(-1);
    aiLength_.push_back(0);
    return *this;
  }
  ConvertedRow &child(ochaine *pchaine)
  {
    std::string s(sizeof pchaine, '\0');
    std::memcpy(&s[0], &pchaine, sizeof pchaine);
    return add(0, 4, s);
  }
  ConvertedRow &fixed(const std::string &s, size_t ulWidth)
  {
    std::string v = s;
    v.resize(ulWidth, ' ');
    return add(452, static_cast<int32_t>(ulWidth), v);
  }
  static constexpr int32_t kAuto = 0x10000;   /* prefix = the value's own length */
  ConvertedRow &varchar(const std::string &s, int32_t iMax, int32_t iPrefix = kAuto)
  {
    int16_t sPrefix = static_cast<int16_t>(iPrefix == kAuto ? static_cast<int32_t>(s.size()) : iPrefix);
    std::string v(2, '\0');
    std::memcpy(&v[0], &sPrefix, 2);
    return add(448, iMax, v + s);
  }
  ConvertedRow &i16(int16_t s) { return add(500, 2, bytes(&s, 2)); }
  ConvertedRow &i32(int32_t i) { return add(496, 4, bytes(&i, 4)); }
  ConvertedRow &dbl(double d) { return add(480, 8, bytes(&d, 8)); }
  ConvertedRow &byte(char c) { return add(452, 1, std::string(1, c)); }
  ConvertedRow &ts(const char *pc) { return add(392, 10, std::string(pc, 10)); }

  /* The row; valid while this object lives.  ilCut shortens the buffer's end. */
  orow *build(int32_t ilCut = 0)
  {
    prow_ = orowCreate(static_cast<int32_t>(aiOffset_.size()));
    for (size_t i = 0; i < aiOffset_.size(); i++) {
      rowColDef def = growColDefNull;
      def.iType = aiType_[i];
      def.iLength = aiLength_[i];
      def.usCCSID = 850;
      orowAddColumn(prow_, &def);
    }
    orowSetBuffer(prow_, strBuffer_.data(), static_cast<int32_t>(strBuffer_.size()) - ilCut, 0);
    for (size_t i = 0; i < aiOffset_.size(); i++)
      prow_->pcoldef[i].pcData = aiOffset_[i] < 0 ? nullptr : prow_->pcStart + aiOffset_[i];
    return prow_;
  }
  ~ConvertedRow() { orowDestroy(prow_); }

 private:
  static std::string bytes(const void *p, size_t n) { return std::string(static_cast<const char *>(p), n); }
  ConvertedRow &add(int32_t iType, int32_t iLength, const std::string &v)
  {
    aiType_.push_back(iType);
    aiOffset_.push_back(static_cast<int>(strBuffer_.size()));
    aiLength_.push_back(iLength);
    strBuffer_ += v;
    return *this;
  }
  std::string strBuffer_;
  std::vector<int> aiOffset_;
  std::vector<int32_t> aiLength_;
  std::vector<int32_t> aiType_;
  orow *prow_ = nullptr;
};

/* A zeroed record of the table's size, as the stored catalogue reader allocates it. */
osysibm *newRecord(size_t ulSize)
{
  return static_cast<osysibm *>(std::calloc(1, ulSize));
}

/* The SYSCOLUMNS row of a column, with its SYSFIELDS child chain. */
ConvertedRow &syscolumnsRow(ConvertedRow &row, ochaine *pchaineFields, const char *pcColType, int16_t sLength)
{
  return row.link().link().child(pchaineFields)
      .varchar("AMOUNT", 18).varchar("ORDERS", 18).fixed("SHOP", 8).i16(3).fixed(pcColType, 8)
      .i16(sLength).i16(0).byte('Y').i32(1234).fixed("HI", 8).fixed("LO", 8).byte('Y').byte('N')
      .varchar("total", 254).byte('N').i16(-1).byte('N').byte(' ').varchar("", 30)
      .ts("\x20\x26\x12\x10\x12\x00\x00\x00\x00\x01").varchar("0", 512).dbl(1234.0).byte(' ')
      .i32(0).i32(0).i32(0).fixed("SYSIBM", 8).varchar(pcColType, 18)
      .ts("\x20\x26\x12\x10\x12\x00\x00\x00\x00\x02");
}

}  // namespace

/* ------------------------------------------------------------ type names */

TEST(osysibmTypes, ColTypeNamesGiveInternalIds)
{
  struct Case {
    const char *pcName;
    int iTypeId;
  } acases[] = {
    {"INTEGER", 2},  {"SMALLINT", 1}, {"DECIMAL", 3},     {"CHAR", 7},      {"VARCHAR", 8},
    {"GRAPHIC", 13}, {"VARGRAPH", 14}, {"VARGRAPHIC", 14}, {"DATE", 10},     {"TIME    ", 11},
    {"TIMESTMP", 12}, {"TIMESTAMP", 0} /* the catalogue's name is TIMESTMP */, {"BLOB", 16},     {"CLOB", 17},     {"DBCLOB", 18},
    {"ROWID", 19},   {"DISTINCT", 47}, {"BIGINT", 6},      {"LONGVAR", 9},   {"LONGVARG", 15},
    {"REAL", 5},     {"DOUBLE", 4},    {"FLOAT", 4},       {"NUMERIC", 0},   {"", 0},
    {"integer", 0},
  };
  for (const Case &c : acases) {
    ochar *pchar = makeString(c.pcName);
    EXPECT_EQ(osysibmGetId(pchar), c.iTypeId) << c.pcName;
    ocharDestroy(pchar);
  }
  EXPECT_EQ(osysibmGetId(nullptr), 0);
}

TEST(osysibmTypes, FloatLengthChoosesRealOrDouble)
{
  ochar *pcharFloat = makeString("FLOAT");
  ochar *pcharReal = makeString("REAL");
  EXPECT_EQ(osysibmGetIdLength(pcharFloat, 8), OSYSIBM_TYPE_DOUBLE);
  EXPECT_EQ(osysibmGetIdLength(pcharFloat, 4), OSYSIBM_TYPE_REAL);
  EXPECT_EQ(osysibmGetIdLength(pcharReal, 4), OSYSIBM_TYPE_REAL);
  ocharDestroy(pcharFloat);
  ocharDestroy(pcharReal);
}

TEST(osysibmTypes, VarcharObjectIsReadAfterItsPrefix)
{
  const char acValue[] = {6, 0, 'B', 'I', 'G', 'I', 'N', 'T'};
  ochar *pchar = ocharCreateFromVarchar(acValue, 850, OCHAR_OWNED | OCHAR_VARCHAR);
  EXPECT_EQ(osysibmGetId(pchar), OSYSIBM_TYPE_BIGINT);
  EXPECT_EQ(osysibmGetSqlId(pchar, 'Y'), 493);
  ocharDestroy(pchar);
}

TEST(osysibmTypes, SqlIdByNullability)
{
  struct Case {
    const char *pcName;
    char cNullable;
    int iSql;
  } acases[] = {
    {"INTEGER", 'Y', 497}, {"INTEGER", 'y', 497}, {"INTEGER", 'N', 496}, {"INTEGER", ' ', 496},
    {"DOUBLE", 'Y', 509},  {"BLOB", 'Y', -1},     {"NOSUCH", 'Y', 0},
  };
  for (const Case &c : acases) {
    ochar *pchar = makeString(c.pcName);
    EXPECT_EQ(osysibmGetSqlId(pchar, c.cNullable), c.iSql) << c.pcName << " " << c.cNullable;
    ocharDestroy(pchar);
  }
}

TEST(osysibmTypes, CliSqlTypes)
{
  const int aiCases[][2] = {
    {1, 7},    {3, 3},    {4, 2},     {5, 1},    {6, 4},    {7, 5},     {8, 4},     {9, -1},
    {10, 11},  {11, 12},  {12, 8},    {91, 10},  {92, 11},  {93, 12},   {-1, 9},    {-5, 6},
    {-10, 8},  {-95, 13}, {-96, 14},  {-97, 14}, {-98, 16}, {-99, 17},  {-350, 18}, {0, -1},
    {2, -1},   {-2, -1},  {-4, -1},   {16, -1},
  };
  for (const auto &c : aiCases) EXPECT_EQ(osysibmSql2Internal(c[0]), c[1]) << "SQL type " << c[0];
}

TEST(osysibmTypes, TypeStringsByRowTimesFour)
{
  /* Rows are numbered from 1: n = 4 is INTEGER, n = 8 SMALLINT. */
  EXPECT_STREQ(osysibmGetTypeStr(4), "INTEGER");
  EXPECT_STREQ(osysibmGetTypeStr(8), "SMALLINT");
  EXPECT_STREQ(osysibmGetTypeStr(9), "SMALLINT");
  EXPECT_STREQ(osysibmGetTypeStr(21 * 4), "DOUBLE");
  EXPECT_EQ(std::string(osysibmGetDb2TypeStr(8 * 4), 8), "VARGRAPH");
  EXPECT_EQ(std::string(osysibmGetDb2TypeStr(11 * 4), 8), "TIMESTMP");
  EXPECT_EQ(osysibmGetTypeStr(22 * 4), nullptr);      /* the end row has no name */
  EXPECT_EQ(osysibmGetTypeStr(23 * 4), nullptr);
  EXPECT_EQ(osysibmGetTypeStr(0), nullptr);
  EXPECT_EQ(osysibmGetDb2TypeStr(-4), nullptr);
}

TEST(osysibmTypes, DictionaryIsMadeOnceWithEveryRow)
{
  osysibmCreateDictType();
  ostrdict *pstrdict = pstrdictType;
  ASSERT_NE(pstrdict, nullptr);
  osysibmCreateDictType();
  EXPECT_EQ(pstrdictType, pstrdict);
  EXPECT_EQ(ostrdictGetCount(pstrdictType), static_cast<uint32_t>(OSYSIBM_SQLID_ROWS));
}

/* ------------------------------------------------------------ builders */

TEST(osysibmBuilders, EveryTableSetsItsIdAndChainCount)
{
  struct Case {
    int16_t sTableId;
    uint16_t usChaines;
  } aexpected[] = {
    {17, 2}, {18, 0}, {19, 5}, {20, 1}, {21, 0}, {22, 2}, {25, 0}, {23, 2},
    {26, 0}, {27, 0}, {337, 0}, {30, 3}, {31, 0}, {39, 0}, {38, 0},
  };
  orow *prowEmpty = orowCreate(0);
  int i = 0;
  for (; atableRefConversion[i].sTableId != -1; i++) {
    ASSERT_LT(i, 15);
    const osysibmRefConversion &ref = atableRefConversion[i];
    EXPECT_EQ(ref.sTableId, aexpected[i].sTableId);
    EXPECT_EQ(ref.pconvert, nullptr);
    osysibm *precord = newRecord(static_cast<size_t>(ref.sRecordSize));
    ref.procPut(prowEmpty, precord);
    EXPECT_EQ(precord->sTableId, aexpected[i].sTableId);
    EXPECT_EQ(precord->usChaineCount, aexpected[i].usChaines) << ref.sTableId;
    EXPECT_EQ(precord->powner, nullptr);
    osysibmDestroy(precord);
  }
  EXPECT_EQ(i, 15);
  orowDestroy(prowEmpty);
}

TEST(osysibmBuilders, SyscolumnsTakesEveryKindOfColumn)
{
  /* A SYSFIELDS child row becomes the record's child chain and is freed with it. */
  ochaine *pchaineFields = ochaineCreate(sizeof(osysibmSysfields), nullptr, osysibmChaineDestroyProc);
  ConvertedRow rowField;
  rowField.link().link().fixed("SHOP", 8).varchar("ORDERS", 18).i16(3).varchar("PART", 18)
      .fixed("FLOAT", 8).i16(4).i16(0).fixed("", 8).i16(0).byte('N').i16(0).varchar("", 256)
      .varchar("", 1530);
  osysibm *pfield = newRecord(sizeof(osysibmSysfields));
  osysibmPutSysfields(rowField.build(), pfield);
  ochaineAppend(pchaineFields, pfield);
  EXPECT_EQ(reinterpret_cast<osysibmSysfields *>(pfield)->iTypeId, OSYSIBM_TYPE_REAL);

  ConvertedRow row;
  syscolumnsRow(row, pchaineFields, "FLOAT", 8);
  osysibm *precord = newRecord(sizeof(osysibmSyscolumns));
  osysibmPutSyscolumns(row.build(), precord);
  osysibmSyscolumns *p = reinterpret_cast<osysibmSyscolumns *>(precord);

  EXPECT_EQ(p->hdr.sTableId, 20);
  EXPECT_EQ(p->apchaine[0], pchaineFields);
  EXPECT_EQ(text(p->pcharNAME), "AMOUNT");
  EXPECT_EQ(text(p->pcharTBNAME), "ORDERS");
  EXPECT_EQ(text(p->pcharTBCREATOR), "SHOP    ");     /* CHAR(8) keeps its blanks */
  EXPECT_EQ(p->sCOLNO, 3);
  EXPECT_EQ(text(p->pcharCOLTYPE), "FLOAT   ");
  EXPECT_EQ(p->sLENGTH, 8);
  EXPECT_EQ(p->iTypeId, OSYSIBM_TYPE_DOUBLE);         /* FLOAT of 8 bytes */
  EXPECT_EQ(p->cNULLS, 'Y');
  EXPECT_EQ(p->iCOLCARD, 1234);
  EXPECT_EQ(text(p->pcharHIGH2KEY), "HI      ");
  EXPECT_EQ(text(p->pcharREMARKS), "total");
  EXPECT_EQ(p->sKEYSEQ, -1);
  EXPECT_EQ(text(p->pcharLABEL), "");
  ASSERT_NE(p->pcharSTATSTIME, nullptr);
  EXPECT_EQ(p->pcharSTATSTIME->ilBU, 10);
  EXPECT_EQ(text(p->pcharDEFAULTVALUE), "0");
  EXPECT_EQ(p->pcharDEFAULTVALUE->usCCSID, 850);
  EXPECT_DOUBLE_EQ(p->dCOLCARDF, 1234.0);
  EXPECT_EQ(text(p->pcharTYPESCHEMA), "SYSIBM  ");
  EXPECT_EQ(text(p->pcharTYPENAME), "FLOAT");
  EXPECT_EQ(std::string(_charText(p->pcharCREATEDTS), 10), std::string("\x20\x26\x12\x10\x12\x00\x00\x00\x00\x02", 10));
  EXPECT_EQ(p->pcharSOURCE_TABNAME, nullptr);          /* CLI only */

  osysibmDestroy(precord);                             /* with its SYSFIELDS chain */
}

TEST(osysibmBuilders, NumbersAtTheirWidthsAndSignRules)
{
  /* SYSTABLES: CARD is sign-extended; the child chains come in row order. */
  ConvertedRow row;
  row.link().link().child(nullptr).child(nullptr).child(nullptr).child(nullptr).child(nullptr)
      .varchar("ORDERS", 18).fixed("SHOP", 8).byte('T').fixed("DB", 8).fixed("TS", 8).i16(6).i16(9)
      .i16(4).fixed("", 8).fixed("", 8).byte(' ').i32(7).i32(-2).i32(55);
  osysibm *precord = newRecord(sizeof(osysibmSystables));
  osysibmPutSystables(row.build(), precord);
  osysibmSystables *p = reinterpret_cast<osysibmSystables *>(precord);
  EXPECT_EQ(p->hdr.usChaineCount, 5);
  EXPECT_EQ(p->sOBID, 9);
  EXPECT_EQ(p->sCOLCOUNT, 4);
  EXPECT_EQ(p->cTYPE, 'T');
  EXPECT_EQ(p->iCLUSTERRID, 7);
  EXPECT_EQ(p->llCARD, -2);
  EXPECT_EQ(p->iNPAGES, 55);
  EXPECT_EQ(p->pcharREMARKS, nullptr);               /* beyond the columns given */
  osysibmDestroy(precord);

  /* SYSINDEXES: a negative IOFACTOR is stored as 0, a positive one as it is. */
  for (int16_t sIo : {static_cast<int16_t>(-5), static_cast<int16_t>(12)}) {
    ConvertedRow rowIx;
    rowIx.link().link().child(nullptr).child(nullptr).varchar("IX1", 18).fixed("SHOP", 8)
        .varchar("ORDERS", 18).fixed("SHOP", 8).byte('U').i16(1).byte('N').byte('N').i16(6).i16(11)
        .i16(12).fixed("DB", 8).fixed("IX1", 8).i32(1).i32(2).i32(3).i16(2).fixed("BP0", 8).i16(4)
        .byte('N').fixed("", 8).byte('Y').i32(0).byte('N').i16(0).fixed("SHOP", 8).i16(sIo).i16(8);
    osysibm *pix = newRecord(sizeof(osysibmSysindexes));
    osysibmPutSysindexes(rowIx.build(), pix);
    osysibmSysindexes *pi = reinterpret_cast<osysibmSysindexes *>(pix);
    EXPECT_EQ(pi->sIOFACTOR, sIo < 0 ? 0 : sIo);
    EXPECT_EQ(pi->sPREFETCHFACTOR, 8);
    EXPECT_EQ(pi->iNLEAF, 3);
    osysibmDestroy(pix);
  }
}

TEST(osysibmBuilders, ValuesOutsideTheColumnOrBufferAreNotFollowed)
{
  /* SYSVLTREE: IBMREQD, VTREE.  A length prefix beyond the column's maximum
     is refused; so is a value that runs past the end of the row buffer. */
  struct Case {
    int16_t sPrefix;
    int32_t ilCut;
    bool bStored;
  } acases[] = {
    {4, 0, true}, {5000, 0, false}, {-3, 0, false}, {4, 2, false},
  };
  for (const Case &c : acases) {
    ConvertedRow row;
    row.link().link().byte('Y').varchar("TREE", 4000, c.sPrefix);
    osysibm *precord = newRecord(sizeof(osysibmSysvltree));
    osysibmPutSysvltree(row.build(c.ilCut), precord);
    osysibmSysvltree *p = reinterpret_cast<osysibmSysvltree *>(precord);
    EXPECT_EQ(p->cIBMREQD, 'Y');
    if (c.bStored)
      EXPECT_EQ(text(p->pcharVTREE), "TREE");
    else
      EXPECT_EQ(p->pcharVTREE, nullptr) << c.sPrefix << " " << c.ilCut;
    osysibmDestroy(precord);
  }

  /* A column without data position leaves its field zero. */
  ConvertedRow row;
  row.link().link().skip().fixed("SHOP", 8);
  osysibm *precord = newRecord(sizeof(osysibmSysviews));
  osysibmPutSysviews(row.build(), precord);
  osysibmSysviews *p = reinterpret_cast<osysibmSysviews *>(precord);
  EXPECT_EQ(p->pcharNAME, nullptr);
  EXPECT_EQ(text(p->pcharCREATOR), "SHOP    ");
  osysibmDestroy(precord);
}

TEST(osysibmBuilders, DatatypeIdsTakenAtTheirColumnWidth)
{
  ConvertedRow row;
  row.link().link().fixed("S", 8).fixed("O", 8).fixed("MONEY", 18).fixed("C", 8).fixed("SYSIBM", 8)
      .fixed("DECIMAL", 18).byte('D').byte('\x07').byte('\x03').i32(9).i16(2);
  osysibm *precord = newRecord(sizeof(osysibmSysdatatypes));
  osysibmPutSysdatatypes(row.build(), precord);
  osysibmSysdatatypes *p = reinterpret_cast<osysibmSysdatatypes *>(precord);
  EXPECT_EQ(p->iDATATYPEID, 7);
  EXPECT_EQ(p->iSOURCETYPEID, 3);
  EXPECT_EQ(p->iLENGTH, 9);
  EXPECT_EQ(p->sSCALE, 2);
  EXPECT_EQ(text(p->pcharNAME), "MONEY" + std::string(13, ' '));
  osysibmDestroy(precord);
}

/* ------------------------------------------------------------ destruction */

TEST(osysibmDestroy, RecordsOfCliAndBackupAreLeftAlone)
{
  /* Table id 0 and chain count 0: nothing is released, the chain stays. */
  osysibmSystables *ptable = static_cast<osysibmSystables *>(std::calloc(1, sizeof *ptable));
  ochaine *pchaine = ochaineCreate(sizeof(osysibmSyscolumns), nullptr, nullptr);
  ptable->apchaine[0] = pchaine;
  ptable->pcharNAME = makeString("T");
  osysibmDestroy(&ptable->hdr);
  EXPECT_EQ(ptable->apchaine[0], pchaine);
  EXPECT_EQ(text(ptable->pcharNAME), "T");
  ochaineDestroy(pchaine);
  ocharDestroy(ptable->pcharNAME);
  std::free(ptable);

  osysibmDestroy(nullptr);
}

TEST(osysibmDestroy, DatabaseRecordReleasesItsTenStrings)
{
  osysibmSysdatabase *p = static_cast<osysibmSysdatabase *>(std::calloc(1, sizeof *p));
  p->hdr.sTableId = OSYSIBM_SYSDATABASE;
  ochar **appchar[] = {&p->pcharNAME,      &p->pcharCREATOR,      &p->pcharSTGROUP,   &p->pcharBPOOL,
                       &p->pcharCREATEDBY, &p->pcharTIMESTAMP,    &p->pcharGROUP_MEMBER,
                       &p->pcharCREATEDTS, &p->pcharALTEREDTS,    &p->pcharINDEXBP};
  for (ochar **ppchar : appchar) *ppchar = makeString("X");
  osysibmDestroy(&p->hdr);   /* the leak checker sees any string left behind */
}

TEST(osysibmDestroy, ChainsOfRecordsAndTheirCliStrings)
{
  /* A table-space record (builder) holding a table record with CLI-only
     strings, itself holding a column: one ochaineDestroy frees them all. */
  ochaine *pchaineTbs = ochaineCreate(sizeof(osysibmSystablespace), nullptr, osysibmChaineDestroyProc);
  ochaine *pchaineTab = ochaineCreate(sizeof(osysibmSystables), nullptr, osysibmChaineDestroyProc);
  ochaine *pchaineCol = ochaineCreate(sizeof(osysibmSyscolumns), nullptr, osysibmChaineDestroyProc);

  osysibmSyscolumns *pcol = static_cast<osysibmSyscolumns *>(std::calloc(1, sizeof *pcol));
  pcol->hdr.sTableId = OSYSIBM_SYSCOLUMNS;
  pcol->hdr.usChaineCount = 1;
  pcol->pcharNAME = makeString("C1");
  pcol->pcharSOURCE_TABSCHEMA = makeString("S");
  ochaineAppend(pchaineCol, pcol);

  osysibmSystables *ptab = static_cast<osysibmSystables *>(std::calloc(1, sizeof *ptab));
  ptab->hdr.sTableId = OSYSIBM_SYSTABLES;
  ptab->hdr.usChaineCount = 5;
  ptab->apchaine[0] = pchaineCol;
  ptab->pcharLONG_TBSPACE = makeString("LONGTS");
  ptab->pcharREFRESH_TIME = makeString("R");
  ochaineAppend(pchaineTab, ptab);

  ConvertedRow row;
  row.link().link().child(nullptr).child(pchaineTab).fixed("USERSPACE1", 8);
  osysibm *ptbs = newRecord(sizeof(osysibmSystablespace));
  osysibmPutSystablespace(row.build(), ptbs);
  EXPECT_EQ(reinterpret_cast<osysibmSystablespace *>(ptbs)->apchaine[1], pchaineTab);
  EXPECT_EQ(text(reinterpret_cast<osysibmSystablespace *>(ptbs)->pcharNAME), "USERSPAC");
  reinterpret_cast<osysibmSystablespace *>(ptbs)->pcharNGNAME = makeString("NG");
  ochaineAppend(pchaineTbs, ptbs);

  ochaineDestroy(pchaineTbs);
}

/* ------------------------------------------------------------ printers */

TEST(osysibmPrinters, TableSpaceWithItsTablesAndColumns)
{
  /* The records live on the stack: the chains must not free them. */
  ochaineDestroyProc procKeep = [](ochaine *, void *) {};
  ochaine *pchaineTbs = ochaineCreate(sizeof(osysibmSystablespace), nullptr, procKeep);
  ochaine *pchaineTab = ochaineCreate(sizeof(osysibmSystables), nullptr, procKeep);
  ochaine *pchaineCol = ochaineCreate(sizeof(osysibmSyscolumns), nullptr, procKeep);
  pchaineTbs->procPrintItem = _sysibmTbsOchainePrint;
  pchaineTab->procPrintItem = _sysibmTabOchainePrint;
  pchaineCol->procPrintItem = _sysibmColOchainePrint;

  osysibmSyscolumns col{};
  col.pcharNAME = makeString("AMOUNT");
  col.cNULLS = 'Y';
  col.sLENGTH = 9;
  col.iLENGTH2 = 77;
  ochaineAppend(pchaineCol, &col);
  osysibmSystables tab{};
  tab.pcharNAME = makeString("ORDERS");
  tab.sCOLCOUNT = 1;
  tab.iNPAGES = 12;
  tab.apchaine[0] = pchaineCol;
  ochaineAppend(pchaineTab, &tab);
  osysibmSystablespace tbs{};
  tbs.pcharNAME = makeString("TS1");
  tbs.pcharNGNAME = makeString("IBMDEFAULTGROUP");
  tbs.sOBID = 2;
  tbs.cTBSPACETYPE = 'D';
  tbs.cDATATYPE = 'A';
  tbs.iEXTENTSIZE = 32;
  tbs.dOVERHEAD = 12.5;
  tbs.apchaine[1] = pchaineTab;
  ochaineAppend(pchaineTbs, &tbs);

  char *pcOut = nullptr;
  size_t ulOut = 0;
  FILE *pfile = open_memstream(&pcOut, &ulOut);
  ochainePrint(pchaineTbs, pfile, 0, 2);
  std::fclose(pfile);
  std::string out(pcOut, ulOut);
  std::free(pcOut);

  const char *apcInOrder[] = {
    ">>>>>- SYSTABLESPACE --------------------------\n", "NAME          = \n", "OBID          = 2\n",
    "TBSPACETYPE   = D\n", "DATATYPE      = A\n", "EXTENTSIZE    = 32\n", "OVERHEAD      = 12.500000\n",
    "NGNAME        = <IBMDEFAULTGROUP>\n", ">>>>>- SYSTABLES ----------------------------\n",
    "COLCOUNT      = 1\n", "NPAGES        = 12\n", ">>>>>- SYSCOLUMNS ---------------------------\n",
    "NULLS              = Y\n", "LENGTH             = 9\n", "LENGTH2            = 77\n",
    "<<<<- SYSCOLUMNS ---------------------------\n", "<<<<<- SYSTABLES ----------------------------\n",
    "<<<<<- SYSTABLESPACE --------------------------\n",
  };
  size_t ulAt = 0;
  for (const char *pc : apcInOrder) {
    size_t ulFound = out.find(pc, ulAt);
    ASSERT_NE(ulFound, std::string::npos) << pc << "\nin:\n" << out;
    ulAt = ulFound + std::strlen(pc);
  }

  ochaineDestroy(pchaineCol);
  ochaineDestroy(pchaineTab);
  ochaineDestroy(pchaineTbs);
  ocharDestroy(col.pcharNAME);
  ocharDestroy(tab.pcharNAME);
  ocharDestroy(tbs.pcharNAME);
  ocharDestroy(tbs.pcharNGNAME);
}

/* ------------------------------------------------------------ registries */

TEST(osysibmRegistries, DatatypesRegistry)
{
  EXPECT_EQ(osysibmGetSysDatatypes(1000), nullptr);   /* never created */
  ASSERT_EQ(osysibmInitDictDatatypes(), 0);
  odict *pdict = pdictDatatypes;
  EXPECT_EQ(osysibmInitDictDatatypes(), 4);
  EXPECT_EQ(pdictDatatypes, pdict);

  osysibmSysdatatypes *p = static_cast<osysibmSysdatatypes *>(std::calloc(1, sizeof *p));
  p->hdr.sTableId = OSYSIBM_SYSDATATYPES;
  p->iDATATYPEID = 1000;
  p->pcharNAME = makeString("MONEY");
  odictStore(pdictDatatypes, 1000, p);
  EXPECT_EQ(osysibmGetSysDatatypes(1000), p);
  EXPECT_EQ(osysibmGetSysDatatypes(1001), nullptr);
  osysibmDestroyDictDatatypes();                      /* frees the record with the registry */
  EXPECT_EQ(pdictDatatypes, nullptr);
  EXPECT_EQ(osysibmGetSysDatatypes(1000), nullptr);
}

TEST(osysibmRegistries, DatabaseRegistryByPaddedName)
{
  ochar *pcharName = makeString("SAMPLE");
  EXPECT_EQ(osysibmGetSysDatabase(pcharName), nullptr);
  ASSERT_EQ(osysibmInitDictDatabase(), 0);
  EXPECT_EQ(osysibmInitDictDatabase(), 4);

  osysibmSysdatabase *p = static_cast<osysibmSysdatabase *>(std::calloc(1, sizeof *p));
  p->hdr.sTableId = OSYSIBM_SYSDATABASE;
  p->pcharNAME = makeString("SAMPLE  ");
  ostrdictStoreFixed(pstrdictDatabase, "SAMPLE  ", 8, p);
  EXPECT_EQ(osysibmGetSysDatabase(pcharName), p);
  ochar *pcharOther = makeString("SAMPLE2");
  EXPECT_EQ(osysibmGetSysDatabase(pcharOther), nullptr);
  osysibmDestroyDictDatabase();
  EXPECT_EQ(pstrdictDatabase, nullptr);
  ocharDestroy(pcharName);
  ocharDestroy(pcharOther);
  osysibmDetermineCcsid();
}
