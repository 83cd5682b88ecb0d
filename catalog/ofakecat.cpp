/*
** ofakecat.cpp
**   Row types of the stored catalogue file: the member lists, their
**   registration with the typed resource store, and the serial procedures
**   that move a row between its record image and the store.  Every row
**   procedure walks the member list of the type it serves: the header, then
**   the child members (an array count followed by the element type), then
**   the columns; the child members fill the image's slots in the order of
**   the table's child-slot rows in the catalogue row table (catalog/odb2x2.h).
**   Called by the store from oresGet/oresPut; one thread.
*/
#include "catalog/ofakecat.h"

#include <cstdlib>
#include <cstring>

#include "catalog/odb2x2.h"
#include "common/ochaine.h"
#include "common/ochar.h"
#include "common/ores.h"

#define OMSGS_TRACE_KEYWORD nullptr
#define OMSGS_DEBUG_KEYWORD "$FAKECAT"
#include "common/omsgsmod.h"

#define I8    OFAKECAT_M_I8
#define I16   OFAKECAT_M_I16
#define I32   OFAKECAT_M_I32
#define F8    OFAKECAT_M_F8
#define C(n)  OFAKECAT_M_C(n)
#define B(n)  OFAKECAT_M_B(n)
#define V     OFAKECAT_M_V
#define CNT   OFAKECAT_M_COUNT
#define HDR   OFAKECAT_TYPE_HEADER
#define U(t)  static_cast<int32_t>(static_cast<uint32_t>(t))
#define END   {0, nullptr}

/* ============================================================ member lists */

const oresTData oresTDatasysibm_header[] = {
  {I8, "Flags"}, {I16, "Size"}, {I16, "Obid"}, {I8, "MapId"}, END
};

#define TABLESPACE_COLUMNS \
  {C(8), "NAME"}, {C(8), "CREATOR"}, {C(8), "DBNAME"}, {I16, "DBID"}, {I16, "OBID"}, {I16, "PSID"}, \
  {C(8), "BPOOL"}, {I16, "PARTITION"}, {C(1), "LOCKRULE"}, {I16, "PGSIZE"}, {C(1), "ERASERULE"},   \
  {C(1), "STATUS"}, {C(1), "IMPLICIT"}, {I16, "NTABLES"}, {I32, "NACTIVE"}, {C(8), "DSETPASS"},    \
  {C(1), "CLOSERULE"}, {I32, "SPACE"}, {C(1), "IBMREQD"}, {V, "ROOTNAME"}, {C(8), "ROOTCREATOR"},  \
  {I16, "SEGSIZE"}, {C(8), "CREATEDBY"}, {B(10), "STATSTIME"}, {I32, "LOCKMAX"}, {C(1), "TYPE"},   \
  {B(10), "CREATEDTS"}, {B(10), "ALTEREDTS"}, {C(1), "ENCODING_SCHEME"}, {I32, "SBCS_CCSID"},      \
  {I32, "DBCS_CCSID"}, {I32, "MIXED_CCSID"}, {I16, "MAXROWS"}, {C(1), "LOCKPART"}, {C(1), "LOG"},  \
  {F8, "NACTIVEF"}, {I32, "DSSIZE"}

const oresTData oresTDatasystablespacesV6[] = {
  {HDR, "Header"}, {CNT, "systableparts"}, {U(0x80140123), "systablepart"}, {CNT, "systables"},
  {U(0x80140133), "systable"}, TABLESPACE_COLUMNS, END
};
const oresTData oresTDatasystablespacesV7[] = {
  {HDR, "Header"}, {CNT, "systableparts"}, {U(0x80140124), "systablepart"}, {CNT, "systables"},
  {U(0x80140134), "systable"}, TABLESPACE_COLUMNS, END
};

#define TABLES_COLUMNS \
  {V, "NAME"}, {C(8), "CREATOR"}, {C(1), "TYPE"}, {C(8), "DBNAME"}, {C(8), "TSNAME"}, {I16, "DBID"}, \
  {I16, "OBID"}, {I16, "COLCOUNT"}, {C(8), "EDPROC"}, {C(8), "VALPROC"}, {C(1), "CLUSTERTYPE"},     \
  {I32, "CLUSTERRID"}, {I32, "CARD"}, {I32, "NPAGES"}, {I16, "PCTPAGES"}, {C(1), "IBMREQD"},        \
  {V, "REMARKS"}, {I16, "PARENTS"}, {I16, "CHILDREN"}, {I16, "KEYCOLUMNS"}, {I16, "RECLENGTH"},     \
  {C(1), "STATUS"}, {I16, "KEYOBID"}, {V, "LABEL"}, {C(1), "CHECKFLAG"}, {B(4), "CHECKRID"},        \
  {C(1), "AUDITING"}, {C(8), "CREATEDBY"}, {C(16), "LOCATION"}, {C(8), "TBCREATOR"}, {V, "TBNAME"}, \
  {B(10), "CREATEDTS"}, {B(10), "ALTEREDTS"}, {C(1), "DATACAPTURE"}, {B(6), "RBA1"}, {B(6), "RBA2"}, \
  {I16, "PCTROWCOMP"}, {B(10), "STATSTIME"}, {I16, "CHECKS"}, {F8, "CARDF"}, {B(5), "CHECKRID5B"},  \
  {C(1), "ENCODING_SCHEME"}, {V, "TABLESTATUS"}

const oresTData oresTDatasystablesV6[] = {
  {HDR, "Header"}, {CNT, "syscolumns"}, {U(0x80140143), "syscolumn"}, {CNT, "sysrels"},
  {U(0x80140163), "sysrel"}, {CNT, "sysindexes"}, {U(0x80140173), "sysindex"}, {CNT, "systabauths"},
  {I32, "systabauth"}, {CNT, "syssynonyms"}, {I32, "syssynonym"}, TABLES_COLUMNS, END
};
const oresTData oresTDatasystablesV7[] = {
  {HDR, "Header"}, {CNT, "syscolumns"}, {U(0x80140144), "syscolumn"}, {CNT, "sysrels"},
  {U(0x80140164), "sysrel"}, {CNT, "sysindexes"}, {U(0x80140174), "sysindex"}, {CNT, "systabauths"},
  {I32, "systabauth"}, {CNT, "syssynonyms"}, {I32, "syssynonym"}, TABLES_COLUMNS,
  {F8, "NPAGESF"}, {F8, "SPACEF"}, {I32, "AVGROWLEN"}, {C(1), "RELCREATED"}, END
};

#define COLUMNS_MEMBERS \
  {HDR, "Header"}, {CNT, "sysfields"}, {I32, "sysfield"}, {V, "NAME"}, {V, "TBNAME"},                \
  {C(8), "TBCREATOR"}, {I16, "COLNO"}, {C(8), "COLTYPE"}, {I16, "LENGTH"}, {I16, "SCALE"},            \
  {C(1), "NULLS"}, {I32, "COLCARD"}, {B(8), "HIGH2KEY"}, {B(8), "LOW2KEY"}, {C(1), "UPDATES"},        \
  {C(1), "IBMREQD"}, {V, "REMARKS"}, {C(1), "DEFAULT"}, {I16, "KEYSEQ"}, {C(1), "FOREIGNKEY"},        \
  {C(1), "FIELDPROC"}, {V, "LABEL"}, {B(10), "STATSTIME"}, {V, "DEFAULTVALUE"}, {F8, "COLCARDF"},     \
  {C(1), "COLSTATUS"}, {I32, "LENGTH2"}, {I32, "DATATYPEID"}, {I32, "SOURCETYPEID"},                  \
  {C(8), "TYPESHEMA"}, {V, "TYPENAME"}, {B(10), "CREATEDTS"}

const oresTData oresTDatasyscolumnsV6[] = {COLUMNS_MEMBERS, END};
const oresTData oresTDatasyscolumnsV7[] = {COLUMNS_MEMBERS, END};

const oresTData oresTDatasysrelsV6[] = {
  {HDR, "Header"}, {CNT, "syslinks"}, {U(0x80140184), "syslink"}, {CNT, "sysforeignkeys"},
  {U(0x80140194), "sysforeignkey"}, {C(8), "CREATOR"}, {V, "TBNAME"}, {C(8), "RELNAME"},
  {V, "REFTBNAME"}, {C(8), "REFTBCREATOR"}, {I16, "COLCOUNT"}, {C(1), "DELETERULE"}, {C(1), "IBMREQD"},
  {I16, "RELOBID1"}, {I16, "RELOBID2"}, {B(10), "TIMESTAMP"}, {C(8), "IXOWNER"}, {V, "IXNAME"}, END
};

const oresTData oresTDatasyslinksV7[] = {
  {HDR, "Header"}, {C(8), "CREATOR"}, {V, "TBNAME"}, {C(8), "LINKNAME"}, {V, "PARENTNAME"},
  {C(8), "PARENTCREATOR"}, {I16, "CHILDSEQ"}, {C(8), "DBNAME"}, {I16, "DBID"}, {I16, "OBID"},
  {I16, "COLCOUNT"}, {C(1), "INSERTRULE"}, {C(1), "IBMREQD"}, END
};

const oresTData oresTDatasysforeignkeysV7[] = {
  {HDR, "Header"}, {C(8), "CREATOR"}, {V, "TBNAME"}, {C(8), "RELNAME"}, {V, "COLNAME"},
  {I16, "COLNO"}, {I16, "COLSEQ"}, {C(1), "IBMREQD"}, END
};

#define TABLEPART_MEMBERS \
  {HDR, "Header"}, {I16, "PARTITION"}, {C(8), "TSNAME"}, {C(8), "DBNAME"}, {V, "IXNAME"},           \
  {C(8), "IXCREATOR"}, {I32, "PQTY"}, {I16, "SEQTY"}, {C(1), "STORTYPE"}, {C(8), "STORNAME"},        \
  {C(8), "VCATNAME"}, {I32, "CARD"}, {I32, "FARINDREF"}, {I32, "NEARINDREF"}, {I16, "PERCACTIVE"},   \
  {I16, "PERCDROP"}, {C(1), "IBMREQD"}, {V, "LIMITKEY"}, {I16, "FREEPAGE"}, {I16, "PCTFREE"},        \
  {C(1), "CHECKFLAG"}, {B(4), "CHECKRID"}, {I32, "SPACE"}, {C(1), "COMPRESS"}, {I16, "PAGESAVE"},    \
  {B(10), "STATSTIME"}, {C(1), "GBPCACHE"}, {B(5), "CHECKRID5B"}, {C(1), "TRACKMOD"}, {I32, "EPOCH"}, \
  {I32, "SECQTYI"}, {F8, "CARDF"}, {C(1), "IPREFIX"}, {B(10), "ALTEREDTS"}

const oresTData oresTDatasystablepartV6[] = {TABLEPART_MEMBERS, END};
const oresTData oresTDatasystablepartV7[] = {
  TABLEPART_MEMBERS, {F8, "SPACEF"}, {I32, "DSNUM"}, {I32, "EXTENTS"}, END
};

#define INDEXES_COLUMNS \
  {V, "NAME"}, {C(8), "CREATOR"}, {V, "TBNAME"}, {C(8), "TBCREATOR"}, {C(1), "UNIQUERULE"},           \
  {I16, "COLCOUNT"}, {C(1), "CLUSTERING"}, {C(1), "CLUSTERED"}, {I16, "DBID"}, {I16, "OBID"},          \
  {I16, "ISOBID"}, {C(8), "DBNAME"}, {C(8), "INDEXSPACE"}, {I32, "FIRSTKEYCARD"}, {I32, "FULLKEYCARD"}, \
  {I32, "NLEAF"}, {I16, "NLEVELS"}, {C(8), "BPOOL"}, {I16, "PGSIZE"}, {C(1), "ERASERULE"},             \
  {C(8), "DSETPASS"}, {C(1), "CLOSERULE"}, {I32, "SPACE"}, {C(1), "IBMREQD"}, {I16, "CLUSTERRATIO"},   \
  {C(8), "CREATEDBY"}, {I16, "IOFACTOR"}, {I16, "PREFETCHFACTOR"}, {B(10), "STATSTIME"},               \
  {C(1), "INDEXTYPE"}, {F8, "FIRSTKEYCARDF"}, {F8, "FULLKEYCARDF"}, {B(10), "CREATEDTS"},              \
  {B(10), "ALTEREDTS"}, {I32, "PIECESIZE"}, {C(1), "COPY"}, {C(6), "COPYLRSN"}, {F8, "CLUSTERRATIOF"}

const oresTData oresTDatasysindexesV6[] = {
  {HDR, "Header"}, {CNT, "sysindexparts"}, {U(0x801401a3), "sysindexpart"}, {CNT, "syskeys"},
  {U(0x801401b3), "syskey"}, INDEXES_COLUMNS, END
};
const oresTData oresTDatasysindexesV7[] = {
  {HDR, "Header"}, {CNT, "sysindexparts"}, {U(0x801401a4), "sysindexpart"}, {CNT, "syskeys"},
  {U(0x801401b4), "syskey"}, INDEXES_COLUMNS, {F8, "SPACEF"}, {V, "REMARKS"}, END
};

#define INDEXPART_MEMBERS \
  {HDR, "Header"}, {I16, "PARTITION"}, {V, "IXNAME"}, {C(8), "IXCREATOR"}, {I32, "PQTY"},            \
  {I16, "SEQTY"}, {C(1), "STORTYPE"}, {C(8), "STORNAME"}, {C(8), "VCATNAME"}, {I32, "CARD"},          \
  {I32, "FAROFFPOS"}, {I32, "LEAFDIST"}, {I32, "NEAROFFPOS"}, {C(1), "IBMREQD"}, {V, "LIMITKEY"},     \
  {I16, "FREEPAGE"}, {I16, "PCTFREE"}, {I32, "SPACE"}, {B(10), "STATSTIME"}, {C(1), "INDEXTYPE"},     \
  {C(1), "GBPCACHE"}, {F8, "FAROFFPOSF"}, {F8, "NEAROFFPOSF"}, {F8, "CARDF"}, {I32, "SECQTYI"},       \
  {C(1), "IPREFIX"}, {B(10), "ALTEREDTS"}

const oresTData oresTDatasysindexpartV6[] = {INDEXPART_MEMBERS, END};
const oresTData oresTDatasysindexpartV7[] = {
  INDEXPART_MEMBERS, {F8, "SPACEF"}, {I32, "DSNUM"}, {I32, "EXTENTS"}, {I32, "PSEUDO_DEL_ENTRIES"},
  {I32, "LEAFNEAR"}, {I32, "LEAFFAR"}, END
};

const oresTData oresTDatasyskeysV7[] = {
  {HDR, "Header"}, {V, "IXNAME"}, {C(8), "IXCREATOR"}, {V, "COLNAME"}, {I16, "COLNO"}, {I16, "COLSEQ"},
  {C(1), "ORDERING"}, {C(1), "IBMREQD"}, END
};

/* The view tables: SYSVTREE with its SYSVLTREE, SYSVIEWS and SYSVIEWDEP rows. */
const oresTData oresTDatasysvtreeV6[] = {
  {HDR, "Header"}, {CNT, "sysvltrees"}, {U(0x801401f3), "sysvltree"}, {CNT, "sysviews"},
  {U(0x80140263), "sysview"}, {CNT, "sysviewdeps"}, {U(0x80140273), "sysviewdep"}, {V, "NAME"},
  {C(8), "CREATOR"}, {I32, "TOTLEN"}, {C(1), "IBMREQD"}, {V, "VTREE"}, END
};
const oresTData oresTDatasysvtreeV7[] = {
  {HDR, "Header"}, {CNT, "sysvltrees"}, {U(0x801401f4), "sysvltree"}, {CNT, "sysviews"},
  {U(0x80140264), "sysview"}, {CNT, "sysviewdeps"}, {U(0x80140274), "sysviewdep"}, {V, "NAME"},
  {C(8), "CREATOR"}, {I32, "TOTLEN"}, {C(1), "IBMREQD"}, {V, "VTREE"}, {C(1), "TYPE"}, END
};
const oresTData oresTDatasysvltreeV7[] = {
  {HDR, "Header"}, {C(1), "IBMREQD"}, {V, "VTREE"}, END
};
#define VIEWS_MEMBERS \
  {HDR, "Header"}, {V, "NAME"}, {C(8), "CREATOR"}, {I16, "SEQNO"}, {C(1), "CHECK"}, {C(1), "IBMREQD"}, \
  {V, "TEXT"}, {V, "PATH"}
const oresTData oresTDatasysviewsV6[] = {VIEWS_MEMBERS, END};
const oresTData oresTDatasysviewsV7[] = {VIEWS_MEMBERS, {C(1), "RELCREATED"}, {C(1), "TYPE"}, END};
#define VIEWDEP_MEMBERS \
  {HDR, "Header"}, {V, "BNAME"}, {C(8), "BCREATOR"}, {C(1), "BTYPE"}, {V, "DNAME"}, {C(8), "DCREATOR"}, \
  {C(1), "IBMREQD"}, {C(8), "BSCHEMA"}
const oresTData oresTDatasysviewdepV6[] = {VIEWDEP_MEMBERS, END};
const oresTData oresTDatasysviewdepV7[] = {VIEWDEP_MEMBERS, {C(1), "DTYPE"}, END};

/* ============================================================ registry */

struct _fakecatType {
  uint32_t          ulType;
  const char       *pcName;
  const oresTData  *plist;
  oresSerialProc    proc;
};

/* In registration order: every element type before the types that hold it. */
static const _fakecatType atypeFakecat[] = {
  {0x80140000u, "sysibm_header", oresTDatasysibm_header, _fakecatHeaderSerial},
  {0x80140183u, "syslinksV6", oresTDatasyslinksV7, _fakecatLinksSerial},
  {0x80140184u, "syslinksV7", oresTDatasyslinksV7, _fakecatLinksSerial},
  {0x80140193u, "sysforeignkeysV6", oresTDatasysforeignkeysV7, _fakecatForeignkeysSerial},
  {0x80140194u, "sysforeignkeysV7", oresTDatasysforeignkeysV7, _fakecatForeignkeysSerial},
  {0x801401b3u, "syskeysV6", oresTDatasyskeysV7, _fakecatKeysSerial},
  {0x801401b4u, "syskeysV7", oresTDatasyskeysV7, _fakecatKeysSerial},
  {0x801401a3u, "sysindexpartV6", oresTDatasysindexpartV6, _fakecatIndexpartSerial},
  {0x801401a4u, "sysindexpartV7", oresTDatasysindexpartV7, _fakecatIndexpartSerial},
  {0x80140123u, "systablepartV6", oresTDatasystablepartV6, _fakecatTablepartSerial},
  {0x80140124u, "systablepartV7", oresTDatasystablepartV7, _fakecatTablepartSerial},
  {0x80140143u, "syscolumnsV6", oresTDatasyscolumnsV6, _fakecatColumnsSerial},
  {0x80140144u, "syscolumnsV7", oresTDatasyscolumnsV7, _fakecatColumnsSerial},
  {0x80140163u, "sysrelsV6", oresTDatasysrelsV6, _fakecatRelsSerial},
  {0x80140164u, "sysrelsV7", oresTDatasysrelsV6, _fakecatRelsSerial},
  {0x80140173u, "sysindexesV6", oresTDatasysindexesV6, _fakecatIndexesSerial},
  {0x80140174u, "sysindexesV7", oresTDatasysindexesV7, _fakecatIndexesSerial},
  {0x80140133u, "systableV6", oresTDatasystablesV6, _fakecatTablesSerial},
  {0x80140134u, "systableV7", oresTDatasystablesV7, _fakecatTablesSerial},
  {0x80140113u, "systablespacesV6", oresTDatasystablespacesV6, _fakecatTablespaceSerial},
  {0x80140114u, "systablespacesV7", oresTDatasystablespacesV7, _fakecatTablespaceSerial},
  {0x801401f3u, "sysvltreeV6", oresTDatasysvltreeV7, _fakecatVltreeSerial},
  {0x801401f4u, "sysvltreeV7", oresTDatasysvltreeV7, _fakecatVltreeSerial},
  {0x80140263u, "sysviewsV6", oresTDatasysviewsV6, _fakecatViewsSerial},
  {0x80140264u, "sysviewsV7", oresTDatasysviewsV7, _fakecatViewsSerial},
  {0x80140273u, "sysviewdepV6", oresTDatasysviewdepV6, _fakecatViewdepSerial},
  {0x80140274u, "sysviewdepV7", oresTDatasysviewdepV7, _fakecatViewdepSerial},
  {0x801401e3u, "sysvtreeV6", oresTDatasysvtreeV6, _fakecatVtreeSerial},
  {0x801401e4u, "sysvtreeV7", oresTDatasysvtreeV7, _fakecatVtreeSerial},
};

int ofakecatInitModule(void)
{
  int rc = oresInitModule();
  if (rc != 0) return rc;
  int rcFirst = 0;
  for (const _fakecatType &t : atypeFakecat) {
    rc = oresTypeRegisterStatic(t.plist, U(t.ulType), t.pcName, t.proc);
    if (rc != 0 && rcFirst == 0) rcFirst = rc;
  }
  return rcFirst;
}

static const _fakecatType *_fakecatFind(int32_t iType)
{
  for (const _fakecatType &t : atypeFakecat)
    if (U(t.ulType) == iType) return &t;
  return nullptr;
}

/* ============================================================ serial procedures */

static void *_fakecatFail(int *prc, int rc)
{
  *prc = rc;
  return nullptr;
}

void *_fakecatHeaderSerial(ores *pres, int32_t iType, void *pvValue, int iPut, int *prc)
{
  (void)iType;
  unsigned char *puc = static_cast<unsigned char *>(pvValue);
  int8_t cFlags, cMapId;
  int16_t sSize, sObid;
  int rc;
  if (iPut) {
    if (puc == nullptr) return _fakecatFail(prc, ORES_RC_NOVALUE);
    std::memcpy(&cFlags, puc, 1);
    std::memcpy(&sSize, puc + 1, 2);
    std::memcpy(&sObid, puc + 3, 2);
    std::memcpy(&cMapId, puc + 5, 1);
    if ((rc = oresPutByte(pres, cFlags)) != 0 || (rc = oresPutShort(pres, sSize)) != 0 ||
        (rc = oresPutShort(pres, sObid)) != 0 || (rc = oresPutByte(pres, cMapId)) != 0)
      return _fakecatFail(prc, rc);
    *prc = 0;
    return pvValue;
  }
  if ((rc = oresGetByte(pres, &cFlags)) != 0 || (rc = oresGetShort(pres, &sSize)) != 0 ||
      (rc = oresGetShort(pres, &sObid)) != 0 || (rc = oresGetByte(pres, &cMapId)) != 0)
    return _fakecatFail(prc, rc);
  if (puc == nullptr) {
    puc = static_cast<unsigned char *>(std::malloc(OFAKECAT_HEADER_SIZE));
    if (puc == nullptr) return _fakecatFail(prc, ORES_RC_NOMEM);
  }
  std::memcpy(puc, &cFlags, 1);
  std::memcpy(puc + 1, &sSize, 2);
  std::memcpy(puc + 3, &sObid, 2);
  std::memcpy(puc + 5, &cMapId, 1);
  *prc = 0;
  return puc;
}

/* Width in the image of a fixed member, 0 for V and non-column members. */
static int _fakecatWidth(int32_t iMember)
{
  switch (iMember) {
    case I8: return 1;
    case I16: return 2;
    case I32: return 4;
    case F8: return 8;
    default: break;
  }
  if (iMember >= 0 && (iMember & 0x40000000) != 0) return (iMember >> 16) & 0xFF;
  return 0;
}

/* The child obids of a table, in the order of its child-slot rows; returns their count. */
static int _fakecatChildren(int16_t sObid, int16_t asChild[8], int asSlot[8])
{
  const odb2x2CatRow *prow = odb2x2TableRows(sObid);
  int iSlots = odb2x2SlotCount(sObid);
  int n = 0;
  for (int i = 0; prow != nullptr && i < iSlots && n < 8; i++) {
    if (prow[i].sLength != 0) {
      asChild[n] = prow[i].sLength;
      asSlot[n] = i;
      n++;
    }
  }
  return n;
}

static int _fakecatPutColumn(ores *pres, int32_t iMember, const unsigned char *p, int iWidth)
{
  switch (iMember) {
    case I8: {
      int8_t c;
      std::memcpy(&c, p, 1);
      return oresPutByte(pres, c);
    }
    case I16: {
      int16_t s;
      std::memcpy(&s, p, 2);
      return oresPutShort(pres, s);
    }
    case I32: {
      int32_t l;
      std::memcpy(&l, p, 4);
      return oresPutLong(pres, l);
    }
    case F8: {
      double d;
      std::memcpy(&d, p, 8);
      return oresPutDouble(pres, d);
    }
    default: break;
  }
  if ((iMember & 0xFFFF) == 0xFFFF)
    return oresPutCharFixedFBD(pres, p, static_cast<uint32_t>(iWidth), static_cast<uint32_t>(iWidth));
  return oresPutCharFixed(pres, p, static_cast<uint32_t>(iWidth), static_cast<uint32_t>(iWidth));
}

static int _fakecatGetColumn(ores *pres, int32_t iMember, unsigned char *p, int iWidth)
{
  switch (iMember) {
    case I8: {
      int8_t c = 0;
      int rc = oresGetByte(pres, &c);
      std::memcpy(p, &c, 1);
      return rc;
    }
    case I16: {
      int16_t s = 0;
      int rc = oresGetShort(pres, &s);
      std::memcpy(p, &s, 2);
      return rc;
    }
    case I32: {
      int32_t l = 0;
      int rc = oresGetLong(pres, &l);
      std::memcpy(p, &l, 4);
      return rc;
    }
    case F8: {
      double d = 0;
      int rc = oresGetDouble(pres, &d);
      std::memcpy(p, &d, 8);
      return rc;
    }
    default: break;
  }
  if ((iMember & 0xFFFF) == 0xFFFF)
    return oresGetCharFixedFBD(pres, p, static_cast<uint32_t>(iWidth), static_cast<uint32_t>(iWidth));
  return oresGetCharFixed(pres, p, static_cast<uint32_t>(iWidth), static_cast<uint32_t>(iWidth));
}

/* Bytes that the slots take in the file's Size and in memory. */
static int _fakecatSlotGrowth(int iSlots)
{
  return iSlots * (static_cast<int>(sizeof(void *)) - 4);
}

static void *_fakecatPutRow(ores *pres, int32_t iType, const oresTData *plist, void *pvRecord, int *prc)
{
  int16_t sObid = static_cast<int16_t>((static_cast<uint32_t>(iType) >> 4) & 0xFFF);
  int iRelease = iType & 0xF;
  int iSlots = odb2x2SlotCount(sObid);
  unsigned char *precord = static_cast<unsigned char *>(pvRecord);
  if (precord == nullptr) return _fakecatFail(prc, ORES_RC_NOVALUE);
  int iLength = odb2x2ImageSize(precord) - OFAKECAT_HEADER_SIZE;
  if (iLength < iSlots * static_cast<int>(sizeof(void *))) return _fakecatFail(prc, OFAKECAT_RC_DAMAGED);

  /* The file counts 4 bytes per slot. */
  unsigned char aucHeader[OFAKECAT_HEADER_SIZE];
  std::memcpy(aucHeader, odb2x2ImageHeader(precord), OFAKECAT_HEADER_SIZE);
  int16_t sSize = static_cast<int16_t>(odb2x2ImageSize(precord) - _fakecatSlotGrowth(iSlots));
  std::memcpy(aucHeader + 1, &sSize, 2);
  int rc = oresPut(pres, HDR, aucHeader);
  if (rc != 0) return _fakecatFail(prc, rc);

  int16_t asChild[8];
  int aiSlot[8];
  int iChildren = _fakecatChildren(sObid, asChild, aiSlot);
  int iChild = 0;
  unsigned char *p = precord + iSlots * sizeof(void *);
  unsigned char *pEnd = precord + iLength;
  for (int i = 1; plist[i].iType != 0; i++) {
    int32_t iMember = plist[i].iType;
    if (iMember == CNT) {
      ochaine *pchaine = nullptr;
      if (iChild < iChildren) std::memcpy(&pchaine, precord + aiSlot[iChild] * sizeof(void *), sizeof pchaine);
      int16_t sChild = iChild < iChildren ? asChild[iChild] : 0;
      iChild++;
      i++;   /* the element member follows its count */
      /* Authorisation rows are never written. */
      if (sChild == 28) pchaine = nullptr;
      uint32_t ulCount = pchaine != nullptr ? static_cast<uint32_t>(pchaine->iItemCount) : 0;
      if ((rc = oresPutArray(pres, ulCount, 1)) != 0) return _fakecatFail(prc, rc);
      int32_t iElement = OFAKECAT_TYPE(sChild, iRelease + 3);
      for (void *pitem = pchaine != nullptr ? pchaine->pitemTop : nullptr; pitem != nullptr;
           pitem = static_cast<ochaineItem *>(pitem)->pitemNext) {
        if ((rc = oresPut(pres, iElement, pitem)) != 0) return _fakecatFail(prc, rc);
      }
      continue;
    }
    if (iMember == V) {
      int16_t sLen = 0;
      if (pEnd - p < 2) return _fakecatFail(prc, OFAKECAT_RC_DAMAGED);
      std::memcpy(&sLen, p, 2);
      if (sLen < 0 || pEnd - p - 2 < sLen) return _fakecatFail(prc, OFAKECAT_RC_DAMAGED);
      ochar *pchar = ocharCreate(sLen > 0 ? sLen : 1, 850);
      if (pchar == nullptr) return _fakecatFail(prc, ORES_RC_NOMEM);
      rc = ocharAppendFixedS(pchar, p + 2, sLen);
      if (rc == 0) rc = oresPutChar(pres, pchar);
      ocharDestroy(pchar);
      if (rc != 0) return _fakecatFail(prc, rc);
      p += 2 + sLen;
      continue;
    }
    int iWidth = _fakecatWidth(iMember);
    if (iWidth == 0 || pEnd - p < iWidth) return _fakecatFail(prc, OFAKECAT_RC_DAMAGED);
    if ((rc = _fakecatPutColumn(pres, iMember, p, iWidth)) != 0) return _fakecatFail(prc, rc);
    p += iWidth;
  }
  *prc = 0;
  return pvRecord;
}

/* Frees a partly read image with the child chains it already holds. */
static void _fakecatDropImage(unsigned char *precord, int16_t sObid)
{
  ochaine chaineTag{};
  chaineTag.pData = static_cast<uintptr_t>(sObid);
  odb2x2ChaineDestroyProc(&chaineTag, precord);
}

static void *_fakecatGetRow(ores *pres, int32_t iType, const oresTData *plist, void *pvRecord, int *prc)
{
  int16_t sObid = static_cast<int16_t>((static_cast<uint32_t>(iType) >> 4) & 0xFFF);
  int iRelease = iType & 0xF;
  int iSlots = odb2x2SlotCount(sObid);

  unsigned char aucHeader[OFAKECAT_HEADER_SIZE];
  int rc = 0;
  if (oresGet(pres, HDR, aucHeader, &rc) == nullptr) return _fakecatFail(prc, rc != 0 ? rc : ORES_RC_EOD);
  int16_t sFileSize, sHeaderObid;
  std::memcpy(&sFileSize, aucHeader + 1, 2);
  std::memcpy(&sHeaderObid, aucHeader + 3, 2);
  /* The header must describe a row of this table with room for its slots. */
  int iSize = sFileSize + _fakecatSlotGrowth(iSlots);
  if (sHeaderObid != sObid || sFileSize < OFAKECAT_HEADER_SIZE + 4 * iSlots || iSize > 32767)
    return _fakecatFail(prc, OFAKECAT_RC_DAMAGED);

  unsigned char *precord = static_cast<unsigned char *>(pvRecord);
  bool boNew = precord == nullptr;
  if (boNew) {
    precord = static_cast<unsigned char *>(odb2x2ImageCreate(iSize - OFAKECAT_HEADER_SIZE));
    if (precord == nullptr) return _fakecatFail(prc, ORES_RC_NOMEM);
  } else {
    /* A caller's image states its room in its own header. */
    if (odb2x2ImageSize(precord) < iSize) return _fakecatFail(prc, OFAKECAT_RC_DAMAGED);
    std::memset(precord, 0, static_cast<size_t>(odb2x2ImageSize(precord) - OFAKECAT_HEADER_SIZE));
  }
  int16_t sSize = static_cast<int16_t>(iSize);
  std::memcpy(aucHeader + 1, &sSize, 2);
  std::memcpy(odb2x2ImageHeader(precord), aucHeader, OFAKECAT_HEADER_SIZE);

  int16_t asChild[8];
  int aiSlot[8];
  int iChildren = _fakecatChildren(sObid, asChild, aiSlot);
  int iChild = 0;
  unsigned char *p = precord + iSlots * sizeof(void *);
  unsigned char *pEnd = precord + (iSize - OFAKECAT_HEADER_SIZE);
  auto fail = [&](int rcFail) -> void * {
    if (boNew) _fakecatDropImage(precord, sObid);
    return _fakecatFail(prc, rcFail);
  };
  for (int i = 1; plist[i].iType != 0; i++) {
    int32_t iMember = plist[i].iType;
    if (iMember == CNT) {
      int16_t sChild = iChild < iChildren ? asChild[iChild] : 0;
      int iSlot = iChild < iChildren ? aiSlot[iChild] : -1;
      iChild++;
      i++;
      uint32_t ulCount = 0;
      if ((rc = oresGetArray(pres, &ulCount, 1)) != 0) return fail(rc);
      if (ulCount == 0) continue;
      if (iSlot < 0) return fail(OFAKECAT_RC_DAMAGED);
      ochaine *pchaine = odb2x2ChaineCreate(sChild);
      if (pchaine == nullptr) return fail(ORES_RC_NOMEM);
      std::memcpy(precord + iSlot * sizeof(void *), &pchaine, sizeof pchaine);
      int32_t iElement = OFAKECAT_TYPE(sChild, iRelease + 3);
      for (uint32_t n = 0; n < ulCount; n++) {
        rc = 0;
        void *pitem = oresGet(pres, iElement, nullptr, &rc);
        if (pitem == nullptr) return fail(rc != 0 ? rc : ORES_RC_EOD);
        ochaineAppend(pchaine, pitem);
      }
      continue;
    }
    if (iMember == V) {
      ochar *pchar = ocharCreate(16, 850);
      if (pchar == nullptr) return fail(ORES_RC_NOMEM);
      rc = oresGetChar(pres, pchar);
      if (rc != 0) {
        ocharDestroy(pchar);
        return fail(rc);
      }
      /* A value longer than its column is kept empty. */
      int iMax = odb2x2ColumnLength(sObid, plist[i].pcName);
      int16_t sLen = pchar->ilBU <= iMax ? static_cast<int16_t>(pchar->ilBU) : 0;
      if (pEnd - p < 2 + sLen) {
        ocharDestroy(pchar);
        return fail(OFAKECAT_RC_DAMAGED);
      }
      std::memcpy(p, &sLen, 2);
      if (sLen > 0) std::memcpy(p + 2, _charText(pchar), static_cast<size_t>(sLen));
      ocharDestroy(pchar);
      p += 2 + sLen;
      continue;
    }
    int iWidth = _fakecatWidth(iMember);
    if (iWidth == 0 || pEnd - p < iWidth) return fail(OFAKECAT_RC_DAMAGED);
    if ((rc = _fakecatGetColumn(pres, iMember, p, iWidth)) != 0) return fail(rc);
    p += iWidth;
  }
  *prc = 0;
  return precord;
}

/* The row procedure of every table: dispatches on the direction. */
static void *_fakecatRowSerial(ores *pres, int32_t iType, void *pvValue, int iPut, int *prc)
{
  const _fakecatType *ptype = _fakecatFind(iType);
  if (ptype == nullptr || ptype->plist == oresTDatasysibm_header) return _fakecatFail(prc, ORES_RC_BADTYPE);
  return iPut ? _fakecatPutRow(pres, iType, ptype->plist, pvValue, prc)
              : _fakecatGetRow(pres, iType, ptype->plist, pvValue, prc);
}

void *_fakecatTablespaceSerial(ores *pres, int32_t iType, void *pv, int iPut, int *prc)
{
  return _fakecatRowSerial(pres, iType, pv, iPut, prc);
}
void *_fakecatTablesSerial(ores *pres, int32_t iType, void *pv, int iPut, int *prc)
{
  return _fakecatRowSerial(pres, iType, pv, iPut, prc);
}
void *_fakecatColumnsSerial(ores *pres, int32_t iType, void *pv, int iPut, int *prc)
{
  return _fakecatRowSerial(pres, iType, pv, iPut, prc);
}
void *_fakecatRelsSerial(ores *pres, int32_t iType, void *pv, int iPut, int *prc)
{
  return _fakecatRowSerial(pres, iType, pv, iPut, prc);
}
void *_fakecatIndexesSerial(ores *pres, int32_t iType, void *pv, int iPut, int *prc)
{
  return _fakecatRowSerial(pres, iType, pv, iPut, prc);
}
void *_fakecatTablepartSerial(ores *pres, int32_t iType, void *pv, int iPut, int *prc)
{
  return _fakecatRowSerial(pres, iType, pv, iPut, prc);
}
void *_fakecatIndexpartSerial(ores *pres, int32_t iType, void *pv, int iPut, int *prc)
{
  return _fakecatRowSerial(pres, iType, pv, iPut, prc);
}
void *_fakecatLinksSerial(ores *pres, int32_t iType, void *pv, int iPut, int *prc)
{
  return _fakecatRowSerial(pres, iType, pv, iPut, prc);
}
void *_fakecatForeignkeysSerial(ores *pres, int32_t iType, void *pv, int iPut, int *prc)
{
  return _fakecatRowSerial(pres, iType, pv, iPut, prc);
}
void *_fakecatKeysSerial(ores *pres, int32_t iType, void *pv, int iPut, int *prc)
{
  return _fakecatRowSerial(pres, iType, pv, iPut, prc);
}
void *_fakecatVtreeSerial(ores *pres, int32_t iType, void *pv, int iPut, int *prc)
{
  return _fakecatRowSerial(pres, iType, pv, iPut, prc);
}
void *_fakecatVltreeSerial(ores *pres, int32_t iType, void *pv, int iPut, int *prc)
{
  return _fakecatRowSerial(pres, iType, pv, iPut, prc);
}
void *_fakecatViewsSerial(ores *pres, int32_t iType, void *pv, int iPut, int *prc)
{
  return _fakecatRowSerial(pres, iType, pv, iPut, prc);
}
void *_fakecatViewdepSerial(ores *pres, int32_t iType, void *pv, int iPut, int *prc)
{
  return _fakecatRowSerial(pres, iType, pv, iPut, prc);
}
