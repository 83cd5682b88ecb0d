/*
** odb2x2.cpp
**   Reader of the stored catalogue file "$FAKE": the catalogue row table,
**   the catalogue object table and the virtual column counts; handles,
**   iterators over an index and key, record images and their chains, and
**   the conversion of record images into catalogue records.
**
**   Conversion: each table gets one row converter (cached in
**   atableRefConversion) whose source row walks a record image column by
**   column, packed as the row types deliver it, and whose target row lays
**   the same values out for the table's builder (model/osysibm.h).  The
**   column functions are registered in the conversion dictionary under the
**   keys SQL type << 16 | SQL type; they check every length against the
**   image and the target buffer.
*/
#include "catalog/odb2x2.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "catalog/ofakecat.h"
#include "model/osysibm.h"
#include "common/ocnvft.h"
#include "common/omsgs.h"
#include "common/omsgstab.h"
#include "model/oconvert.h"
#include "model/orow.h"

#define OMSGS_TRACE_KEYWORD "$DB2X2"
#define OMSGS_DEBUG_KEYWORD "$DB2X2D"
#include "common/omsgsmod.h"

/* ============================================================ catalogue row table */

static const char gacDefaultBlanks[] =
    "                                                                "
    "                                                                "
    "                                                                "
    "                                                                ";
static const char gacDefaultZeros[16] = {0};

#define DBLANK static_cast<const void *>(gacDefaultBlanks)
#define DZERO  static_cast<const void *>(gacDefaultZeros)
#define ENC(t) static_cast<char>((t) == 452 || (t) == 448 ? 'E' : (t) == 392 ? 'X' : 0)
#define COL(o, t, l, n, r, lim, d) {o, t, l, n, r, static_cast<uint16_t>(lim), 0, d, ENC(t), {0, 0, 0}}
#define SLOT(o, c)                 {o, 0, c, "", 300, 0xFFFF, 0, nullptr, 0, {0, 0, 0}}
#define SPARE                      {0, 0, 0, "ZAP AREA ZAP AREA", 0, 0xFFFF, 0, nullptr, 0, {0, 0, 0}}

odb2x2CatRow gacatrowDb2[] = {
  /* 17 SYSTABLESPACE */
  SLOT(17, 18),
  SLOT(17, 19),
  COL(17, 452, 8, "NAME", 300, 0xFFFF, nullptr),
  COL(17, 452, 8, "CREATOR", 300, 0xFFFF, nullptr),
  COL(17, 452, 8, "DBNAME", 300, 0xFFFF, nullptr),
  COL(17, 500, 2, "DBID", 300, 0xFFFF, nullptr),
  COL(17, 500, 2, "OBID", 300, 0xFFFF, nullptr),
  COL(17, 500, 2, "PSID", 300, 0xFFFF, nullptr),
  COL(17, 452, 8, "BPOOL", 300, 0xFFFF, nullptr),
  COL(17, 500, 2, "PARTITION", 300, 0xFFFF, nullptr),
  COL(17, 452, 1, "LOCKRULE", 300, 0xFFFF, nullptr),
  COL(17, 500, 2, "PGSIZE", 300, 0xFFFF, nullptr),
  COL(17, 452, 1, "ERASERULE", 300, 0xFFFF, nullptr),
  COL(17, 452, 1, "STATUS", 300, 0xFFFF, nullptr),
  COL(17, 452, 1, "IMPLICIT", 300, 0xFFFF, nullptr),
  COL(17, 500, 2, "NTABLES", 300, 0xFFFF, nullptr),
  COL(17, 496, 4, "NACTIVE", 300, 0xFFFF, nullptr),
  COL(17, 452, 8, "DSETPASS", 300, 0xFFFF, nullptr),
  COL(17, 452, 1, "CLOSERULE", 300, 0xFFFF, nullptr),
  COL(17, 496, 4, "SPACE", 300, 0xFFFF, nullptr),
  COL(17, 452, 1, "IBMREQD", 300, 0xFFFF, nullptr),
  COL(17, 448, 18, "ROOTNAME", 300, 0xFFFF, nullptr),
  COL(17, 452, 8, "ROOTCREATOR", 300, 0xFFFF, nullptr),
  COL(17, 500, 2, "SEGSIZE", 300, 0xFFFF, nullptr),
  COL(17, 452, 8, "CREATEDBY", 300, 0xFFFF, nullptr),
  COL(17, 392, 10, "STATSTIME", 300, 0xFFFF, nullptr),
  COL(17, 496, 4, "LOCKMAX", 300, 0xFFFF, nullptr),
  COL(17, 452, 1, "TYPE", 500, 0xFFFF, nullptr),
  COL(17, 392, 10, "CREATEDTS", 500, 0xFFFF, nullptr),
  COL(17, 392, 10, "ALTEREDTS", 500, 0xFFFF, nullptr),
  COL(17, 452, 1, "ENCODING_SCHEME", 500, 0xFFFF, nullptr),
  COL(17, 496, 4, "SBCS_CCSID", 500, 0xFFFF, nullptr),
  COL(17, 496, 4, "DBCS_CCSID", 500, 0xFFFF, nullptr),
  COL(17, 496, 4, "MIXED_CCSID", 500, 0xFFFF, nullptr),
  COL(17, 500, 2, "MAXROWS", 500, 0xFFFF, nullptr),
  COL(17, 452, 1, "LOCKPART", 500, 0xFFFF, nullptr),
  COL(17, 452, 1, "LOG", 600, 0xFFFF, DBLANK),
  COL(17, 480, 8, "NACTIVEF", 600, 0xFFFF, DZERO),
  COL(17, 496, 4, "DSSIZE", 600, 0xFFFF, DZERO),
  SPARE, SPARE, SPARE,
  /* 18 SYSTABLEPART */
  SLOT(18, 0),
  SLOT(18, 0),
  COL(18, 500, 2, "PARTITION", 300, 0xFFFF, nullptr),
  COL(18, 452, 8, "TSNAME", 300, 0xFFFF, nullptr),
  COL(18, 452, 8, "DBNAME", 300, 0xFFFF, nullptr),
  COL(18, 448, 18, "IXNAME", 300, 0xFFFF, nullptr),
  COL(18, 452, 8, "IXCREATOR", 300, 0xFFFF, nullptr),
  COL(18, 496, 4, "PQTY", 300, 0xFFFF, nullptr),
  COL(18, 500, 2, "SQTY", 300, 0xFFFF, nullptr),
  COL(18, 452, 1, "STORTYPE", 300, 0xFFFF, nullptr),
  COL(18, 452, 8, "STORNAME", 300, 0xFFFF, nullptr),
  COL(18, 452, 8, "VCATNAME", 300, 0xFFFF, nullptr),
  COL(18, 496, 4, "CARD", 300, 0xFFFF, nullptr),
  COL(18, 496, 4, "FARINDREF", 300, 0xFFFF, nullptr),
  COL(18, 496, 4, "NEARINDREF", 300, 0xFFFF, nullptr),
  COL(18, 500, 2, "PERCACTIVE", 300, 0xFFFF, nullptr),
  COL(18, 500, 2, "PERCDROP", 300, 0xFFFF, nullptr),
  COL(18, 452, 1, "IBMREQD", 300, 0xFFFF, nullptr),
  COL(18, 448, 512, "LIMITKEY", 300, 0xFFFF, nullptr),
  COL(18, 500, 2, "FREEPAGE", 300, 0xFFFF, nullptr),
  COL(18, 500, 2, "PCTFREE", 300, 0xFFFF, nullptr),
  COL(18, 452, 1, "CHECKFLAG", 300, 0xFFFF, nullptr),
  COL(18, 452, 4, "CHECKRID", 300, 0xFFFF, nullptr),
  COL(18, 496, 4, "SPACE", 300, 0xFFFF, nullptr),
  COL(18, 452, 1, "COMPRESS", 300, 0xFFFF, nullptr),
  COL(18, 500, 2, "PAGESAVE", 300, 0xFFFF, nullptr),
  COL(18, 392, 10, "STATSTIME", 300, 0xFFFF, nullptr),
  COL(18, 452, 1, "GBPCACHE", 400, 0xFFFF, nullptr),
  COL(18, 452, 5, "CHECKRID5B", 400, 0xFFFF, nullptr),
  COL(18, 452, 1, "TRACKMOD", 600, 0xFFFF, DBLANK),
  COL(18, 496, 4, "EPOCH", 600, 0xFFFF, DZERO),
  COL(18, 496, 4, "SECQTYI", 600, 0xFFFF, DZERO),
  COL(18, 480, 8, "CARDF", 600, 0xFFFF, DZERO),
  COL(18, 452, 1, "IPREFIX", 600, 0xFFFF, DBLANK),
  COL(18, 392, 10, "ALTEREDTS", 600, 0xFFFF, DZERO),
  COL(18, 480, 8, "SPACEF", 700, 0xFFFF, DZERO),
  COL(18, 496, 4, "DSNUM", 700, 0xFFFF, DZERO),
  COL(18, 496, 4, "EXTENTS", 700, 0xFFFF, DZERO),
  SPARE, SPARE, SPARE,
  /* 19 SYSTABLES */
  SLOT(19, 0),
  SLOT(19, 0),
  SLOT(19, 20),
  SLOT(19, 22),
  SLOT(19, 23),
  SLOT(19, 28),
  SLOT(19, 33),
  COL(19, 448, 18, "NAME", 300, 0xFFFF, nullptr),
  COL(19, 452, 8, "CREATOR", 300, 0xFFFF, nullptr),
  COL(19, 452, 1, "TYPE", 300, 0xFFFF, nullptr),
  COL(19, 452, 8, "DBNAME", 300, 0xFFFF, nullptr),
  COL(19, 452, 8, "TSNAME", 300, 0xFFFF, nullptr),
  COL(19, 500, 2, "DBID", 300, 0xFFFF, nullptr),
  COL(19, 500, 2, "OBID", 300, 0xFFFF, nullptr),
  COL(19, 500, 2, "COLCOUNT", 300, 0xFFFF, nullptr),
  COL(19, 452, 8, "EDPROC", 300, 0xFFFF, nullptr),
  COL(19, 452, 8, "VALPROC", 300, 0xFFFF, nullptr),
  COL(19, 452, 1, "CLUSTERTYPE", 300, 0xFFFF, nullptr),
  COL(19, 496, 4, "CLUSTERRID", 300, 0xFFFF, nullptr),
  COL(19, 496, 4, "CARD", 300, 0xFFFF, nullptr),
  COL(19, 496, 4, "NPAGES", 300, 0xFFFF, nullptr),
  COL(19, 500, 2, "PCTPAGES", 300, 0xFFFF, nullptr),
  COL(19, 452, 1, "IBMREQD", 300, 0xFFFF, nullptr),
  COL(19, 448, 254, "REMARKS", 300, 0xFFFF, nullptr),
  COL(19, 500, 2, "PARENTS", 300, 0xFFFF, nullptr),
  COL(19, 500, 2, "CHILDREN", 300, 0xFFFF, nullptr),
  COL(19, 500, 2, "KEYCOLUMNS", 300, 0xFFFF, nullptr),
  COL(19, 500, 2, "RECLENGTH", 300, 0xFFFF, nullptr),
  COL(19, 452, 1, "STATUS", 300, 0xFFFF, nullptr),
  COL(19, 500, 2, "KEYOBID", 300, 0xFFFF, nullptr),
  COL(19, 448, 30, "LABEL", 300, 0xFFFF, nullptr),
  COL(19, 452, 1, "CHECKFLAG", 300, 0xFFFF, nullptr),
  COL(19, 452, 4, "CHECKRID", 300, 0xFFFF, nullptr),
  COL(19, 452, 1, "AUDITING", 300, 0xFFFF, nullptr),
  COL(19, 452, 8, "CREATEDBY", 300, 0xFFFF, nullptr),
  COL(19, 452, 16, "LOCATION", 300, 0xFFFF, nullptr),
  COL(19, 452, 8, "TBCREATOR", 300, 0xFFFF, nullptr),
  COL(19, 448, 18, "TBNAME", 300, 0xFFFF, nullptr),
  COL(19, 392, 10, "CREATEDTS", 300, 0xFFFF, nullptr),
  COL(19, 392, 10, "ALTEREDTS", 300, 0xFFFF, nullptr),
  COL(19, 452, 1, "DATACAPTURE", 300, 0xFFFF, nullptr),
  COL(19, 452, 6, "RBA1", 300, 0xFFFF, nullptr),
  COL(19, 452, 6, "RBA2", 300, 0xFFFF, nullptr),
  COL(19, 500, 2, "PCTROWCOMP", 300, 0xFFFF, nullptr),
  COL(19, 392, 10, "STATSTIME", 300, 0xFFFF, nullptr),
  COL(19, 500, 2, "CHECKS", 400, 0xFFFF, nullptr),
  COL(19, 480, 8, "CARDF", 500, 0xFFFF, nullptr),
  COL(19, 452, 5, "CHECKRID5B", 500, 0xFFFF, nullptr),
  COL(19, 452, 1, "ENCODING_SCHEME", 500, 0xFFFF, nullptr),
  COL(19, 448, 10, "TABLESTATUS", 600, 0xFFFF, DBLANK),
  COL(19, 480, 8, "NPAGESF", 700, 0xFFFF, DZERO),
  COL(19, 480, 8, "SPACEF", 700, 0xFFFF, DZERO),
  COL(19, 496, 4, "AVGROWLEN", 700, 0xFFFF, DZERO),
  COL(19, 452, 1, "RELCREATED", 700, 0xFFFF, DBLANK),
  SPARE, SPARE, SPARE,
  /* 20 SYSCOLUMNS */
  SLOT(20, 0),
  SLOT(20, 0),
  SLOT(20, 21),
  COL(20, 448, 18, "NAME", 300, 0xFFFF, nullptr),
  COL(20, 448, 18, "TBNAME", 300, 0xFFFF, nullptr),
  COL(20, 452, 8, "TBCREATOR", 300, 0xFFFF, nullptr),
  COL(20, 500, 2, "COLNO", 300, 0xFFFF, nullptr),
  COL(20, 452, 8, "COLTYPE", 300, 0xFFFF, nullptr),
  COL(20, 500, 2, "LENGTH", 300, 0xFFFF, nullptr),
  COL(20, 500, 2, "SCALE", 300, 0xFFFF, nullptr),
  COL(20, 452, 1, "NULLS", 300, 0xFFFF, nullptr),
  COL(20, 496, 4, "COLCARD", 300, 0xFFFF, nullptr),
  COL(20, 452, 8, "HIGH2KEY", 300, 0xFFFF, nullptr),
  COL(20, 452, 8, "LOW2KEY", 300, 0xFFFF, nullptr),
  COL(20, 452, 1, "UPDATES", 300, 0xFFFF, nullptr),
  COL(20, 452, 1, "IBMREQD", 300, 0xFFFF, nullptr),
  COL(20, 448, 254, "REMARKS", 300, 0xFFFF, nullptr),
  COL(20, 452, 1, "DEFAULT", 300, 0xFFFF, nullptr),
  COL(20, 500, 2, "KEYSEQ", 300, 0xFFFF, nullptr),
  COL(20, 452, 1, "FOREIGNKEY", 300, 0xFFFF, nullptr),
  COL(20, 452, 1, "FIELDPROC", 300, 0xFFFF, nullptr),
  COL(20, 448, 30, "LABEL", 300, 0xFFFF, nullptr),
  COL(20, 392, 10, "STATSTIME", 300, 0xFFFF, nullptr),
  COL(20, 448, 256, "DEFAULTVALUE", 400, 4, nullptr),
  COL(20, 448, 512, "DEFAULTVALUE", 500, 0xFFFF, nullptr),
  COL(20, 480, 8, "COLCARDF", 500, 0xFFFF, nullptr),
  COL(20, 452, 1, "COLSTATUS", 600, 0xFFFF, DBLANK),
  COL(20, 496, 4, "LENGTH2", 600, 0xFFFF, DZERO),
  COL(20, 496, 4, "DATATYPEID", 600, 0xFFFF, DZERO),
  COL(20, 496, 4, "SOURCETYPEID", 600, 0xFFFF, DZERO),
  COL(20, 452, 8, "TYPESHEMA", 600, 0xFFFF, DBLANK),
  COL(20, 448, 18, "TYPENAME", 600, 0xFFFF, DBLANK),
  COL(20, 392, 10, "CREATEDTS", 600, 0xFFFF, DZERO),
  SPARE, SPARE, SPARE,
  /* 21 SYSFIELDS */
  SLOT(21, 0),
  SLOT(21, 0),
  COL(21, 452, 8, "TBCREATOR", 300, 0xFFFF, nullptr),
  COL(21, 448, 18, "TBNAME", 300, 0xFFFF, nullptr),
  COL(21, 500, 2, "COLNO", 300, 0xFFFF, nullptr),
  COL(21, 448, 18, "NAME", 300, 0xFFFF, nullptr),
  COL(21, 452, 8, "FLDTYPE", 300, 0xFFFF, nullptr),
  COL(21, 500, 2, "LENGTH", 300, 0xFFFF, nullptr),
  COL(21, 500, 2, "SCALE", 300, 0xFFFF, nullptr),
  COL(21, 452, 8, "FLDPROC", 300, 0xFFFF, nullptr),
  COL(21, 500, 2, "WORKAREA", 300, 0xFFFF, nullptr),
  COL(21, 452, 1, "IBMREQD", 300, 0xFFFF, nullptr),
  COL(21, 500, 2, "EXITPARML", 300, 0xFFFF, nullptr),
  COL(21, 448, 256, "PARMLIST", 300, 0xFFFF, nullptr),
  COL(21, 448, 1530, "EXITPARM", 300, 0xFFFF, nullptr),
  SPARE, SPARE, SPARE,
  /* 22 SYSRELS */
  SLOT(22, 0),
  SLOT(22, 0),
  SLOT(22, 24),
  SLOT(22, 25),
  COL(22, 452, 8, "CREATOR", 300, 0xFFFF, nullptr),
  COL(22, 448, 18, "TBNAME", 300, 0xFFFF, nullptr),
  COL(22, 452, 8, "RELNAME", 300, 0xFFFF, nullptr),
  COL(22, 448, 18, "REFTBNAME", 300, 0xFFFF, nullptr),
  COL(22, 452, 8, "REFTBCREATOR", 300, 0xFFFF, nullptr),
  COL(22, 500, 2, "COLCOUNT", 300, 0xFFFF, nullptr),
  COL(22, 452, 1, "DELETERULE", 300, 0xFFFF, nullptr),
  COL(22, 452, 1, "IBMREQD", 300, 0xFFFF, nullptr),
  COL(22, 500, 2, "RELOBID1", 300, 0xFFFF, nullptr),
  COL(22, 500, 2, "RELOBID2", 300, 0xFFFF, nullptr),
  COL(22, 392, 10, "TIMESTAMP", 300, 0xFFFF, nullptr),
  COL(22, 452, 8, "IXOWNER", 400, 0xFFFF, nullptr),
  COL(22, 448, 18, "IXNAME", 400, 0xFFFF, nullptr),
  SPARE, SPARE, SPARE,
  /* 23 SYSINDEXES */
  SLOT(23, 0),
  SLOT(23, 0),
  SLOT(23, 26),
  SLOT(23, 27),
  COL(23, 448, 18, "NAME", 300, 0xFFFF, nullptr),
  COL(23, 452, 8, "CREATOR", 300, 0xFFFF, nullptr),
  COL(23, 448, 18, "TBNAME", 300, 0xFFFF, nullptr),
  COL(23, 452, 8, "TBCREATOR", 300, 0xFFFF, nullptr),
  COL(23, 452, 1, "UNIQUERULE", 300, 0xFFFF, nullptr),
  COL(23, 500, 2, "COLCOUNT", 300, 0xFFFF, nullptr),
  COL(23, 452, 1, "CLUSTERING", 300, 0xFFFF, nullptr),
  COL(23, 452, 1, "CLUSTERED", 300, 0xFFFF, nullptr),
  COL(23, 500, 2, "DBID", 300, 0xFFFF, nullptr),
  COL(23, 500, 2, "OBID", 300, 0xFFFF, nullptr),
  COL(23, 500, 2, "ISOBID", 300, 0xFFFF, nullptr),
  COL(23, 452, 8, "DBNAME", 300, 0xFFFF, nullptr),
  COL(23, 452, 8, "INDEXSPACE", 300, 0xFFFF, nullptr),
  COL(23, 496, 4, "FIRSTKEYCARD", 300, 0xFFFF, nullptr),
  COL(23, 496, 4, "FULLKEYCARD", 300, 0xFFFF, nullptr),
  COL(23, 496, 4, "NLEAF", 300, 0xFFFF, nullptr),
  COL(23, 500, 2, "NLEVEL", 300, 0xFFFF, nullptr),
  COL(23, 452, 8, "BPOOL", 300, 0xFFFF, nullptr),
  COL(23, 500, 2, "PGSIZE", 300, 0xFFFF, nullptr),
  COL(23, 452, 1, "ERASERULE", 300, 0xFFFF, nullptr),
  COL(23, 452, 8, "DSETPASS", 300, 0xFFFF, nullptr),
  COL(23, 452, 1, "CLOSERULE", 300, 0xFFFF, nullptr),
  COL(23, 496, 4, "SPACE", 300, 0xFFFF, nullptr),
  COL(23, 452, 1, "IBMREQD", 300, 0xFFFF, nullptr),
  COL(23, 500, 2, "CLUSTERRATIO", 300, 0xFFFF, nullptr),
  COL(23, 452, 8, "CREATEDBY", 300, 0xFFFF, nullptr),
  COL(23, 500, 2, "IOFACTOR", 300, 0xFFFF, nullptr),
  COL(23, 500, 2, "PREFETCHFACTOR", 300, 0xFFFF, nullptr),
  COL(23, 392, 10, "STATSTIME", 300, 0xFFFF, nullptr),
  COL(23, 452, 1, "INDEXTYPE", 400, 0xFFFF, nullptr),
  COL(23, 480, 8, "FIRSTKEYCARDF", 500, 0xFFFF, nullptr),
  COL(23, 480, 8, "FULLKEYCARDF", 500, 0xFFFF, nullptr),
  COL(23, 392, 10, "CREATEDTS", 500, 0xFFFF, nullptr),
  COL(23, 392, 10, "ALTEREDTS", 500, 0xFFFF, nullptr),
  COL(23, 496, 4, "PIECESIZE", 500, 0xFFFF, nullptr),
  COL(23, 452, 1, "COPY", 600, 0xFFFF, DBLANK),
  COL(23, 452, 6, "COPYLRSN", 600, 0xFFFF, DBLANK),
  COL(23, 480, 8, "CLUSTERRATIOF", 600, 0xFFFF, DZERO),
  COL(23, 480, 8, "SPACEF", 700, 0xFFFF, DZERO),
  COL(23, 448, 254, "REMARKS", 700, 0xFFFF, DBLANK),
  SPARE, SPARE, SPARE,
  /* 24 SYSLINKS */
  SLOT(24, 0),
  SLOT(24, 0),
  COL(24, 452, 8, "CREATOR", 300, 0xFFFF, nullptr),
  COL(24, 448, 18, "TBNAME", 300, 0xFFFF, nullptr),
  COL(24, 452, 8, "LINKNAME", 300, 0xFFFF, nullptr),
  COL(24, 448, 18, "PARENTNAME", 300, 0xFFFF, nullptr),
  COL(24, 452, 8, "PARENTCREATOR", 300, 0xFFFF, nullptr),
  COL(24, 500, 2, "CHILDSEQ", 300, 0xFFFF, nullptr),
  COL(24, 452, 8, "DBNAME", 300, 0xFFFF, nullptr),
  COL(24, 500, 2, "DBID", 300, 0xFFFF, nullptr),
  COL(24, 500, 2, "OBID", 300, 0xFFFF, nullptr),
  COL(24, 500, 2, "COLCOUNT", 300, 0xFFFF, nullptr),
  COL(24, 452, 1, "INSERTRULE", 300, 0xFFFF, nullptr),
  COL(24, 452, 1, "IBMREQD", 300, 0xFFFF, nullptr),
  SPARE, SPARE, SPARE,
  /* 25 SYSFOREIGNKEYS */
  SLOT(25, 0),
  SLOT(25, 0),
  COL(25, 452, 8, "CREATOR", 300, 0xFFFF, nullptr),
  COL(25, 448, 18, "TBNAME", 300, 0xFFFF, nullptr),
  COL(25, 452, 8, "RELNAME", 300, 0xFFFF, nullptr),
  COL(25, 448, 18, "COLNAME", 300, 0xFFFF, nullptr),
  COL(25, 500, 2, "COLNO", 300, 0xFFFF, nullptr),
  COL(25, 500, 2, "COLSEQ", 300, 0xFFFF, nullptr),
  COL(25, 452, 1, "IBMREQD", 300, 0xFFFF, nullptr),
  SPARE, SPARE, SPARE,
  /* 26 SYSINDEXPART */
  SLOT(26, 0),
  SLOT(26, 0),
  COL(26, 500, 2, "PARTITION", 300, 0xFFFF, nullptr),
  COL(26, 448, 18, "IXNAME", 300, 0xFFFF, nullptr),
  COL(26, 452, 8, "IXCREATOR", 300, 0xFFFF, nullptr),
  COL(26, 496, 4, "PQTY", 300, 0xFFFF, nullptr),
  COL(26, 500, 2, "SQTY", 300, 0xFFFF, nullptr),
  COL(26, 452, 1, "STORTYPE", 300, 0xFFFF, nullptr),
  COL(26, 452, 8, "STORNAME", 300, 0xFFFF, nullptr),
  COL(26, 452, 8, "VCATNAME", 300, 0xFFFF, nullptr),
  COL(26, 496, 4, "CARD", 300, 0xFFFF, nullptr),
  COL(26, 496, 4, "FAROFFPOS", 300, 0xFFFF, nullptr),
  COL(26, 496, 4, "LEAFDIST", 300, 0xFFFF, nullptr),
  COL(26, 496, 4, "NEAROFFPOS", 300, 0xFFFF, nullptr),
  COL(26, 452, 1, "IBMREQD", 300, 0xFFFF, nullptr),
  COL(26, 448, 512, "LIMITKEY", 300, 0xFFFF, nullptr),
  COL(26, 500, 2, "FREEPAGE", 300, 0xFFFF, nullptr),
  COL(26, 500, 2, "PCTFREE", 300, 0xFFFF, nullptr),
  COL(26, 496, 4, "SPACE", 300, 0xFFFF, nullptr),
  COL(26, 392, 10, "STATSTIME", 300, 0xFFFF, nullptr),
  COL(26, 452, 1, "INDEXTYPE", 300, 0xFFFF, nullptr),
  COL(26, 452, 1, "GBPCACHE", 400, 0xFFFF, nullptr),
  COL(26, 480, 8, "FAROFFPOSF", 500, 0xFFFF, nullptr),
  COL(26, 480, 8, "NEAROFFPOSF", 500, 0xFFFF, nullptr),
  COL(26, 480, 8, "CARDF", 500, 0xFFFF, nullptr),
  COL(26, 496, 4, "SECQTYI", 600, 0xFFFF, DZERO),
  COL(26, 452, 1, "IPREFIX", 600, 0xFFFF, DBLANK),
  COL(26, 392, 10, "ALTEREDTS", 600, 0xFFFF, DZERO),
  COL(26, 480, 8, "SPACEF", 700, 0xFFFF, DZERO),
  COL(26, 496, 4, "DSNUM", 700, 0xFFFF, DZERO),
  COL(26, 496, 4, "EXTENTS", 700, 0xFFFF, DZERO),
  COL(26, 496, 4, "PSEUDO_DEL_ENTRIES", 700, 0xFFFF, DZERO),
  COL(26, 496, 4, "LEAFNEAR", 700, 0xFFFF, DZERO),
  COL(26, 496, 4, "LEAFFAR", 700, 0xFFFF, DZERO),
  SPARE, SPARE, SPARE,
  /* 27 SYSKEYS */
  SLOT(27, 0),
  SLOT(27, 0),
  COL(27, 448, 18, "IXNAME", 300, 0xFFFF, nullptr),
  COL(27, 452, 8, "IXCREATOR", 300, 0xFFFF, nullptr),
  COL(27, 448, 18, "COLNAME", 300, 0xFFFF, nullptr),
  COL(27, 500, 2, "COLNO", 300, 0xFFFF, nullptr),
  COL(27, 500, 2, "COLSEQ", 300, 0xFFFF, nullptr),
  COL(27, 452, 1, "ORDERING", 300, 0xFFFF, nullptr),
  COL(27, 452, 1, "IBMREQD", 300, 0xFFFF, nullptr),
  SPARE, SPARE, SPARE,
  /* 28  */
  SLOT(28, 0),
  SLOT(28, 0),
  SLOT(28, 32),
  COL(28, 452, 8, "GRANTOR", 300, 0xFFFF, nullptr),
  COL(28, 452, 8, "GRANTEE", 300, 0xFFFF, nullptr),
  COL(28, 452, 1, "GRANTEETYPE", 300, 0xFFFF, nullptr),
  COL(28, 452, 8, "DBNAME", 300, 0xFFFF, nullptr),
  COL(28, 452, 8, "SCREATOR", 300, 0xFFFF, nullptr),
  COL(28, 448, 18, "STNAME", 300, 0xFFFF, nullptr),
  COL(28, 452, 8, "TCREATOR", 300, 0xFFFF, nullptr),
  COL(28, 448, 18, "TTNAME", 300, 0xFFFF, nullptr),
  COL(28, 452, 1, "AUTHHOWGOT", 300, 0xFFFF, nullptr),
  COL(28, 452, 12, "TIMESTAMP", 300, 0xFFFF, nullptr),
  COL(28, 452, 6, "DATEGRANTED", 300, 0xFFFF, nullptr),
  COL(28, 452, 8, "TIMEGRANTED", 300, 0xFFFF, nullptr),
  COL(28, 452, 1, "UPDATECOLS", 300, 0xFFFF, nullptr),
  COL(28, 452, 1, "ALTERAUTH", 300, 0xFFFF, nullptr),
  COL(28, 452, 1, "DELETEAUTH", 300, 0xFFFF, nullptr),
  COL(28, 452, 1, "INDEXAUTH", 300, 0xFFFF, nullptr),
  COL(28, 452, 1, "INSERTAUTH", 300, 0xFFFF, nullptr),
  COL(28, 452, 1, "SELECTAUTH", 300, 0xFFFF, nullptr),
  COL(28, 452, 1, "UPDATEAUTH", 300, 0xFFFF, nullptr),
  COL(28, 452, 1, "IBMREQD", 300, 0xFFFF, nullptr),
  COL(28, 452, 16, "GRANTEELOCATION", 300, 0xFFFF, nullptr),
  COL(28, 452, 16, "LOCATION", 300, 0xFFFF, nullptr),
  COL(28, 452, 18, "COLLID", 300, 0xFFFF, nullptr),
  COL(28, 452, 18, "CONTOKEN", 300, 0xFFFF, nullptr),
  COL(28, 452, 1, "CAPTUREAUTH", 300, 0xFFFF, nullptr),
  COL(28, 452, 1, "REFERENCESAUTH", 400, 0xFFFF, nullptr),
  COL(28, 452, 1, "REFCOLS", 500, 0xFFFF, nullptr),
  COL(28, 392, 10, "GRANTEDTS", 500, 0xFFFF, nullptr),
  COL(28, 452, 1, "TRIGGERAUTH", 600, 0xFFFF, DBLANK),
  SPARE, SPARE, SPARE,
  /* 29  */
  SLOT(29, 0),
  SLOT(29, 0),
  COL(29, 448, 18, "BTNAME", 300, 0xFFFF, nullptr),
  COL(29, 452, 8, "BCREATOR", 300, 0xFFFF, nullptr),
  COL(29, 452, 1, "BTYPE", 300, 0xFFFF, nullptr),
  COL(29, 452, 8, "DBNAME", 300, 0xFFFF, nullptr),
  COL(29, 452, 1, "IBMREQD", 300, 0xFFFF, nullptr),
  SPARE, SPARE, SPARE,
  /* 30 SYSVTREE */
  SLOT(30, 31),
  SLOT(30, 38),
  SLOT(30, 39),
  COL(30, 448, 18, "NAME", 300, 0xFFFF, nullptr),
  COL(30, 452, 8, "CREATOR", 300, 0xFFFF, nullptr),
  COL(30, 496, 4, "TOTLEN", 300, 0xFFFF, nullptr),
  COL(30, 452, 1, "IBMREQD", 300, 0xFFFF, nullptr),
  COL(30, 448, 4000, "VTREE", 300, 0xFFFF, nullptr),
  COL(30, 452, 1, "TYPE", 700, 0xFFFF, DBLANK),
  SPARE, SPARE, SPARE,
  /* 31 SYSVLTREE */
  SLOT(31, 0),
  SLOT(31, 0),
  COL(31, 452, 1, "IBMREQD", 300, 0xFFFF, nullptr),
  COL(31, 448, 4000, "VTREE", 300, 0xFFFF, nullptr),
  SPARE, SPARE, SPARE,
  /* 38 SYSVIEWS */
  SLOT(38, 0),
  SLOT(38, 0),
  COL(38, 448, 18, "NAME", 300, 0xFFFF, nullptr),
  COL(38, 452, 8, "CREATOR", 300, 0xFFFF, nullptr),
  COL(38, 500, 2, "SEQNO", 300, 0xFFFF, nullptr),
  COL(38, 452, 1, "CHECK", 300, 0xFFFF, nullptr),
  COL(38, 452, 1, "IBMREQD", 300, 0xFFFF, nullptr),
  COL(38, 448, 254, "TEXT", 300, 0xFFFF, nullptr),
  COL(38, 448, 254, "PATH", 300, 0xFFFF, DBLANK),
  COL(38, 452, 1, "RELCREATED", 700, 0xFFFF, DBLANK),
  COL(38, 452, 1, "TYPE", 700, 0xFFFF, DBLANK),
  SPARE, SPARE, SPARE,
  /* 39 SYSVIEWDEP */
  SLOT(39, 0),
  SLOT(39, 0),
  COL(39, 448, 18, "BNAME", 300, 0xFFFF, nullptr),
  COL(39, 452, 8, "BCREATOR", 300, 0xFFFF, nullptr),
  COL(39, 452, 1, "BTYPE", 300, 0xFFFF, nullptr),
  COL(39, 448, 18, "DNAME", 300, 0xFFFF, nullptr),
  COL(39, 452, 8, "DCREATOR", 300, 0xFFFF, nullptr),
  COL(39, 452, 1, "IBMREQD", 300, 0xFFFF, nullptr),
  COL(39, 452, 8, "BSCHEMA", 300, 0xFFFF, DBLANK),
  COL(39, 452, 1, "DTYPE", 700, 0xFFFF, DBLANK),
  SPARE, SPARE, SPARE,
  /* 32  */
  SLOT(32, 0),
  SLOT(32, 0),
  COL(32, 452, 8, "GRANTOR", 300, 0xFFFF, nullptr),
  COL(32, 452, 8, "GRANTEE", 300, 0xFFFF, nullptr),
  COL(32, 452, 1, "GRANTEETYPE", 300, 0xFFFF, nullptr),
  COL(32, 452, 8, "CREATOR", 300, 0xFFFF, nullptr),
  COL(32, 448, 18, "TNAME", 300, 0xFFFF, nullptr),
  COL(32, 452, 12, "TIMESTAMP", 300, 0xFFFF, nullptr),
  COL(32, 452, 6, "DATEGRANTED", 300, 0xFFFF, nullptr),
  COL(32, 452, 8, "TIMEGRANTED", 300, 0xFFFF, nullptr),
  COL(32, 448, 18, "COLNAME", 300, 0xFFFF, nullptr),
  COL(32, 452, 1, "IBMREQD", 300, 0xFFFF, nullptr),
  COL(32, 452, 16, "LOCATION", 300, 0xFFFF, nullptr),
  COL(32, 452, 18, "COLLID", 300, 0xFFFF, nullptr),
  COL(32, 452, 18, "CONTOKEN", 300, 0xFFFF, nullptr),
  COL(32, 452, 1, "PRIVILEGE", 500, 0xFFFF, nullptr),
  COL(32, 392, 10, "GRANTEDTS", 500, 0xFFFF, nullptr),
  SPARE, SPARE, SPARE,
  /* 33  */
  SLOT(33, 0),
  SLOT(33, 0),
  COL(33, 448, 18, "NAME", 300, 0xFFFF, nullptr),
  COL(33, 452, 8, "CREATOR", 300, 0xFFFF, nullptr),
  COL(33, 448, 18, "TBNAME", 300, 0xFFFF, nullptr),
  COL(33, 452, 8, "TBCREATOR", 300, 0xFFFF, nullptr),
  COL(33, 452, 1, "IBMREQD", 300, 0xFFFF, nullptr),
  COL(33, 452, 8, "CREATEDBY", 300, 0xFFFF, nullptr),
  COL(33, 392, 10, "CREATEDTS", 500, 0xFFFF, nullptr),
  SPARE, SPARE, SPARE,
  /* 42 SYSDATABASE */
  SLOT(42, 0),
  COL(42, 452, 8, "NAME", 300, 0xFFFF, nullptr),
  COL(42, 452, 8, "CREATOR", 300, 0xFFFF, nullptr),
  COL(42, 452, 8, "STGROUP", 300, 0xFFFF, nullptr),
  COL(42, 452, 8, "BPOLL", 300, 0xFFFF, nullptr),
  COL(42, 500, 2, "DBID", 300, 0xFFFF, nullptr),
  COL(42, 452, 1, "IBMREQD", 300, 0xFFFF, nullptr),
  COL(42, 452, 8, "CREATEDBY", 300, 0xFFFF, nullptr),
  COL(42, 452, 1, "ROSHARE", 300, 0xFFFF, nullptr),
  COL(42, 392, 10, "TIMESTAMP", 300, 0xFFFF, nullptr),
  COL(42, 452, 1, "TYPE", 300, 0xFFFF, nullptr),
  COL(42, 452, 8, "GROUP_MEMBER", 300, 0xFFFF, nullptr),
  COL(42, 392, 10, "CREATEDTS", 500, 0xFFFF, nullptr),
  COL(42, 392, 10, "ALTEREDTS", 500, 0xFFFF, nullptr),
  COL(42, 452, 1, "ENCODING_SCHEME", 500, 0xFFFF, nullptr),
  COL(42, 496, 4, "SBCS_CCSID", 500, 0xFFFF, nullptr),
  COL(42, 496, 4, "DBCS_CCSID", 500, 0xFFFF, nullptr),
  COL(42, 496, 4, "MIXED_CCSID", 500, 0xFFFF, nullptr),
  COL(42, 452, 8, "INDEXBP", 600, 0xFFFF, DBLANK),
  SPARE, SPARE, SPARE,
  /* 337 SYSDATATYPES */
  COL(337, 452, 8, "SCHEMA", 600, 0xFFFF, DBLANK),
  COL(337, 452, 8, "OWNER", 600, 0xFFFF, DBLANK),
  COL(337, 452, 18, "NAME", 600, 0xFFFF, DBLANK),
  COL(337, 452, 8, "CREATEDBY", 600, 0xFFFF, DBLANK),
  COL(337, 452, 8, "SOURCESCHEMA", 600, 0xFFFF, DBLANK),
  COL(337, 452, 18, "SOURCETYPE", 600, 0xFFFF, DBLANK),
  COL(337, 452, 1, "METATYPE", 600, 0xFFFF, DBLANK),
  COL(337, 452, 1, "DATATYPEID", 600, 0xFFFF, DBLANK),
  COL(337, 452, 1, "SOURCETYPEID", 600, 0xFFFF, DBLANK),
  COL(337, 496, 4, "LENGTH", 600, 0xFFFF, DZERO),
  COL(337, 500, 2, "SCALE", 600, 0xFFFF, DZERO),
  COL(337, 452, 1, "SUBTYPE", 600, 0xFFFF, DBLANK),
  COL(337, 392, 10, "CREATEDTS", 600, 0xFFFF, DZERO),
  COL(337, 452, 1, "ENCODING_SCHEME", 600, 0xFFFF, DBLANK),
  COL(337, 452, 1, "IBMREQD", 600, 0xFFFF, DBLANK),
  COL(337, 448, 254, "REMARKS", 600, 0xFFFF, DBLANK),
  SPARE, SPARE, SPARE,
  {-1, 0, 0, "FIN COLDEF", 0, 0xFFFF, 0, nullptr, 0, {0, 0, 0}}
};

/* ============================================================ object table */

odb2x2ObjRow aindexrowDb2[ODB2X2_OBJECTS];

/* Source of the object table: tables with their table space, indexes with their table. */
struct _db2x2Object {
  int16_t     sObid;
  int16_t     sTableObid;   /* 0 for a table */
  const char *pcName;
};

static const _db2x2Object aobjectDb2[] = {
  {17, 0, "SYSDBASE"}, {18, 0, "SYSDBASE"}, {19, 0, "SYSDBASE"}, {20, 0, "SYSDBASE"},
  {21, 0, "SYSDBASE"}, {22, 0, "SYSDBASE"}, {23, 0, "SYSDBASE"}, {24, 0, "SYSDBASE"},
  {25, 0, "SYSDBASE"}, {26, 0, "SYSDBASE"}, {27, 0, "SYSDBASE"}, {28, 0, "SYSDBASE"},
  {29, 0, "SYSPLAN"}, {30, 0, "SYSVIEWS"}, {31, 0, "SYSVIEWS"}, {32, 0, "SYSDBASE"},
  {33, 0, "SYSDBASE"}, {34, 0, "SYSPLAN"}, {35, 0, "SYSPLAN"}, {36, 0, "SYSPLAN"},
  {37, 0, "SYSPLAN"}, {38, 0, "SYSVIEWS"}, {39, 0, "SYSVIEWS"}, {40, 0, "SYSGROUP"},
  {41, 0, "SYSGROUP"}, {42, 0, "SYSDBAUT"}, {43, 0, "SYSDBAUT"}, {44, 0, "SYSGPAUT"},
  {45, 0, "SYSUSER"}, {46, 0, "SYSCOPY"},
  {122, 0, "SYSPKAGE"}, {128, 0, "SYSPKAGE"}, {133, 0, "SYSPKAGE"}, {137, 0, "SYSPKAGE"},
  {143, 0, "SYSPKAGE"}, {148, 0, "SYSPKAGE"}, {152, 0, "SYSPKAGE"}, {191, 0, "SYSPKAGE"},
  {158, 0, "SYSSTR"}, {187, 0, "SYSSTR"}, {189, 0, "SYSSTR"},
  {167, 0, "SYSSTATS"}, {169, 0, "SYSSTATS"}, {171, 0, "SYSSTATS"}, {173, 0, "SYSSTATS"},
  {175, 0, "SYSSTATS"},
  {289, 0, "SYSOBJ"}, {302, 0, "SYSOBJ"}, {307, 0, "SYSOBJ"}, {313, 0, "SYSOBJ"}, {318, 0, "SYSOBJ"},
  {326, 0, "SYSOBJ"}, {337, 0, "SYSOBJ"}, {342, 0, "SYSOBJ"},
  {47, 17, "DSNDSX01"}, {61, 19, "DSNDTX01"}, {62, 22, "DSNDLX01"}, {63, 23, "DSNDXX01"},
  {64, 23, "DSNDXX02"}, {65, 28, "DSNATX01"}, {66, 28, "DSNATX02"}, {67, 33, "DSNDYX01"},
  {68, 34, "DSNPPH01"}, {73, 37, "DSNAPX01"}, {74, 37, "DSNAPH01"}, {75, 41, "DSNGGX01"},
  {76, 30, "DSNVTH01"}, {80, 39, "DSNGGX02"}, {81, 45, "DSNAUH01"}, {82, 45, "DSNAUX02"},
  {83, 40, "DSNSSH01"}, {85, 42, "DSNDDH01"}, {87, 43, "DSNADX01"}, {88, 43, "DSNADH01"},
  {89, 44, "DSNAGH01"}, {90, 44, "DSNAGX01"}, {91, 46, "DSNUCH01"}, {115, 20, "DSNDCX01"},
  {117, 46, "DSNUCX01"}, {124, 122, "DSNKLX01"}, {126, 122, "DSNKLX02"}, {129, 128, "DSNKKX01"},
  {131, 128, "DSNKKX02"}, {135, 133, "DSNKSX01"}, {139, 137, "DSNKDX01"}, {141, 137, "DSNKDX02"},
  {144, 143, "DSNKAX01"}, {146, 143, "DSNKAX02"}, {150, 148, "DSNKPX01"}, {154, 152, "DSNKYX01"},
  {159, 187, "DSNSSX01"}, {161, 143, "DSNKAX03"}, {163, 19, "DSNDTX02"}, {177, 167, "DSNTNX01"},
  {179, 169, "DSNTPX01"}, {181, 171, "DSNTCX01"}, {183, 173, "DSNTXX01"}, {185, 175, "DSNTTX01"},
  {192, 27, "DSNDKX01"}, {194, 23, "DSNDXX01"}, {196, 26, "DSNDRX01"}, {198, 18, "DSNDPX01"},
  {200, 42, "DSNDDX02"}, {202, 158, "DSNSCX01"}, {204, 189, "DSNSDX01"}, {206, 191, "DSNKCX01"},
  {208, 38, "DSNVVX01"}, {210, 28, "DSNATX03"},
  {290, 289, "DSNOFX01"}, {292, 289, "DSNOFX02"}, {294, 289, "DSNOFX03"}, {296, 289, "DSNOFX04"},
  {298, 289, "DSNOFX05"}, {300, 289, "DSNOFX06"}, {303, 302, "DSNOXX01"}, {305, 302, "DSNOXX02"},
  {308, 307, "DSNOTX01"}, {310, 307, "DSNOTX02"}, {314, 313, "DSNSKX01"}, {316, 313, "DSNSKX02"},
  {319, 318, "DSNOAX01"}, {321, 318, "DSNOAX02"}, {323, 318, "DSNOAX03"}, {327, 326, "DSNOPX01"},
  {329, 326, "DSNOPX02"}, {331, 326, "DSNOPX03"}, {338, 337, "DSNODX01"}, {340, 337, "DSNODX02"},
  {343, 342, "DSNCCX01"}, {368, 342, "DSNCCX02"},
};

/* ============================================================ virtual column counts */

odb2x2CatRid aCatRid[] = {
  {"IPNAMES", 0}, {"LOCATIONS", 0}, {"LULIST", 0}, {"LUMODES", 0}, {"LUNAMES", 0},
  {"MODESELECT", 0}, {"SYSAUXRELS", 0}, {"SYSCHECKDEP", 0}, {"SYSCHECKS", 0}, {"SYSCHECKS2", 0},
  {"SYSCOLAUTH", 2}, {"SYSCOLDIST", 0}, {"SYSCOLDIST_HIST", 0}, {"SYSCOLDISTSTATS", 0},
  {"SYSCOLSTATS", 0}, {"SYSCOLUMNS", 3}, {"SYSCOLUMNS_HIST", 0}, {"SYSCONSTDEP", 0}, {"SYSCOPY", 0},
  {"SYSDATABASE", 1}, {"SYSDATATYPES", 0}, {"SYSDBAUTH", 2}, {"SYSDBRM", 3}, {"SYSDUMMY1", 0},
  {"SYSFIELDS", 2}, {"SYSFOREIGNKEYS", 2}, {"SYSINDEXES", 4}, {"SYSINDEXES_HIST", 0},
  {"SYSINDEXPART", 2}, {"SYSINDEXPART_HIST", 0}, {"SYSINDEXSTATS", 0}, {"SYSINDEXSTATS_HIST", 0},
  {"SYSJARCLASS_SOURCE", 0}, {"SYSJARCONTENTS", 0}, {"SYSJARDATA", 0}, {"SYSJAROBJECTS", 0},
  {"SYSJAVAOPTS", 0}, {"SYSKEYCOLUSE", 0}, {"SYSKEYS", 2}, {"SYSLINKS", 2}, {"SYSLOBSTATS", 0},
  {"SYSLOBSTATS_HIST", 0}, {"SYSPACKAGE", 0}, {"SYSPACKAUTH", 0}, {"SYSPACKDEP", 0},
  {"SYSPACKLIST", 0}, {"SYSPACKSTMT", 0}, {"SYSPARMS", 0}, {"SYSPKSYSTEM", 0}, {"SYSPLAN", 3},
  {"SYSPLANAUTH", 2}, {"SYSPLANDEP", 2}, {"SYSPLSYSTEM", 0}, {"SYSPROCEDURES", 0}, {"SYSRELS", 4},
  {"SYSRESAUTH", 0}, {"SYSROUTINEAUTH", 0}, {"SYSROUTINES", 0}, {"SYSROUTINES_OPTS", 0},
  {"SYSROUTINES_SRC", 0}, {"SYSSCHEMAAUTH", 0}, {"SYSSTMT", 2}, {"SYSSTOGROUP", 1}, {"SYSSTRINGS", 0},
  {"SYSSYNONYMS", 2}, {"SYSTABAUTH", 3}, {"SYSTABCONST", 0}, {"SYSTABLEPART", 2},
  {"SYSTABLEPART_HIST", 0}, {"SYSTABLES", 7}, {"SYSTABLES_HIST", 0}, {"SYSTABLESPACE", 2},
  {"SYSTABSTATS", 0}, {"SYSTABSTATS_HIST", 0}, {"SYSTRIGGERS", 0}, {"SYSUSERAUTH", 0},
  {"SYSVIEWDEP", 2}, {"SYSVIEWS", 2}, {"SYSVLTREE", 2}, {"SYSVOLUMES", 2}, {"SYSVTREE", 3},
  {"USERNAMES", 0},
  {"", 0},
};

/* Pads the 18-byte names of a table with blanks. */
static void _db2x2PadName(char *pc)
{
  for (int i = 0; i < 18; i++)
    if (pc[i] == '\0') pc[i] = ' ';
}

/* Stores each table's first row in the object table. */
static void _db2x2FillFirstRows(void)
{
  int16_t sPrevious = 0;
  for (int i = 0; gacatrowDb2[i].sObid != -1; i++) {
    int16_t sObid = gacatrowDb2[i].sObid;
    if (sObid != sPrevious && sObid > 0 && sObid < ODB2X2_OBJECTS) aindexrowDb2[sObid].iFirstRow = i;
    sPrevious = sObid;
  }
}

/* Blank-pads the names of the tables and fills the object table, once at load. */
static bool _db2x2LoadTables(void)
{
  for (int i = 0;; i++) {
    _db2x2PadName(gacatrowDb2[i].acName);
    if (gacatrowDb2[i].sObid == -1) break;
  }
  for (int i = 0;; i++) {
    bool boEnd = aCatRid[i].acName[0] == '\0';
    _db2x2PadName(aCatRid[i].acName);
    if (boEnd) break;
  }
  for (const _db2x2Object &o : aobjectDb2) {
    odb2x2ObjRow &row = aindexrowDb2[o.sObid];
    row.sTableObid = o.sTableObid;
    std::memset(row.acName, ' ', sizeof row.acName);
    std::memcpy(row.acName, o.pcName, std::strlen(o.pcName));
  }
  _db2x2FillFirstRows();
  return true;
}

static const bool gboTablesLoaded = _db2x2LoadTables();

const odb2x2CatRow *odb2x2TableRows(int16_t sObid)
{
  if (sObid <= 0) return nullptr;
  for (int i = 0; gacatrowDb2[i].sObid != -1; i++)
    if (gacatrowDb2[i].sObid == sObid) return &gacatrowDb2[i];
  return nullptr;
}

int odb2x2SlotCount(int16_t sObid)
{
  const odb2x2CatRow *prow = odb2x2TableRows(sObid);
  int n = 0;
  while (prow != nullptr && prow[n].sObid == sObid && prow[n].sSqlType == 0) n++;
  return n;
}

/* Compares an 18-byte blank-padded name with a C name of at most 18 bytes (blank-padded or not). */
static bool _db2x2SameName(const char *pcPadded, const char *pcName)
{
  size_t ul = std::strlen(pcName);
  if (ul > 18) return false;
  if (std::memcmp(pcPadded, pcName, ul) != 0) return false;
  for (size_t i = ul; i < 18; i++)
    if (pcPadded[i] != ' ') return false;
  return true;
}

int odb2x2ColumnLength(int16_t sObid, const char *pcName)
{
  const odb2x2CatRow *prow = odb2x2TableRows(sObid);
  int iLength = 0;
  if (pcName == nullptr) return 0;
  for (; prow != nullptr && prow->sObid == sObid; prow++)
    if (prow->sSqlType != 0 && _db2x2SameName(prow->acName, pcName) && prow->sLength > iLength)
      iLength = prow->sLength;
  return iLength;
}

int odb2x2GetVirtualColumnsNb(const char *pcTableName)
{
  if (pcTableName == nullptr) return -1;
  char acPadded[18];
  size_t ul = strnlen(pcTableName, 19);
  if (ul > 18) return -1;
  std::memset(acPadded, ' ', sizeof acPadded);
  std::memcpy(acPadded, pcTableName, ul);
  for (int i = 0; aCatRid[i].acName[0] != ' '; i++)
    if (std::memcmp(aCatRid[i].acName, acPadded, 18) == 0) return aCatRid[i].iCount;
  return -1;
}

/* ============================================================ record images */

/*
** Memory of an image: byte 0 the count of link slots put in front of the
** table's own slots (2 for a top row grown into a chain item, else 0),
** byte 1 unused, bytes 2-7 the header, then the record, pointer-aligned.
*/
#define IMAGE_PREFIX 8

static unsigned char *_db2x2Block(const void *precord)
{
  return const_cast<unsigned char *>(static_cast<const unsigned char *>(precord)) - IMAGE_PREFIX;
}

void *odb2x2ImageCreate(int32_t ilRecordLength)
{
  if (ilRecordLength < 0 || ilRecordLength > 32767 - OFAKECAT_HEADER_SIZE) return nullptr;
  size_t ulBlock = IMAGE_PREFIX + static_cast<size_t>(ilRecordLength);
  unsigned char *pblock = static_cast<unsigned char *>(std::calloc(1, ulBlock));
  if (pblock == nullptr) return nullptr;
  int16_t sSize = static_cast<int16_t>(OFAKECAT_HEADER_SIZE + ilRecordLength);
  std::memcpy(pblock + IMAGE_PREFIX - OFAKECAT_HEADER_SIZE + 1, &sSize, 2);
  return pblock + IMAGE_PREFIX;
}

int16_t odb2x2ImageSize(const void *precord)
{
  int16_t s;
  std::memcpy(&s, static_cast<const unsigned char *>(precord) - OFAKECAT_HEADER_SIZE + 1, 2);
  return s;
}

int16_t odb2x2ImageObid(const void *precord)
{
  int16_t s;
  std::memcpy(&s, static_cast<const unsigned char *>(precord) - OFAKECAT_HEADER_SIZE + 3, 2);
  return s;
}

static int _db2x2ImagePrefix(const void *precord)
{
  return _db2x2Block(precord)[0];
}

/* The chain in slot i of an image. */
static ochaine *_db2x2Slot(const void *precord, int i)
{
  ochaine *pchaine;
  std::memcpy(&pchaine, static_cast<const unsigned char *>(precord) + i * sizeof(void *), sizeof pchaine);
  return pchaine;
}

static void _db2x2SetSlot(void *precord, int i, ochaine *pchaine)
{
  std::memcpy(static_cast<unsigned char *>(precord) + i * sizeof(void *), &pchaine, sizeof pchaine);
}

/* Calls fn(slot index, child obid) for each slot of an image that names a child table. */
template <typename Fn>
static void _db2x2ForChildSlots(const void *precord, Fn fn)
{
  int16_t sObid = odb2x2ImageObid(precord);
  const odb2x2CatRow *prow = odb2x2TableRows(sObid);
  int iSlots = odb2x2SlotCount(sObid);
  int iPrefix = _db2x2ImagePrefix(precord);
  int iRoom = (odb2x2ImageSize(precord) - OFAKECAT_HEADER_SIZE) / static_cast<int>(sizeof(void *));
  for (int i = 0; i < iSlots && iPrefix + i < iRoom; i++)
    if (prow[i].sLength != 0) fn(iPrefix + i, prow[i].sLength);
}

/* True when the image's first two slots are chain links rather than child chains. */
static bool _db2x2HasLinks(const void *precord)
{
  int16_t sObid = odb2x2ImageObid(precord);
  const odb2x2CatRow *prow = odb2x2TableRows(sObid);
  int iRoom = (odb2x2ImageSize(precord) - OFAKECAT_HEADER_SIZE) / static_cast<int>(sizeof(void *));
  if (iRoom < 2) return false;
  if (_db2x2ImagePrefix(precord) >= 2) return true;
  return odb2x2SlotCount(sObid) >= 2 && prow[0].sLength == 0 && prow[1].sLength == 0;
}

void odb2x2ImageDestroy(void *precord)
{
  if (precord == nullptr) return;
  _db2x2ForChildSlots(precord, [&](int iSlot, int16_t) {
    ochaine *pchaine = _db2x2Slot(precord, iSlot);
    if (pchaine != nullptr) ochaineDestroy(pchaine);
    _db2x2SetSlot(precord, iSlot, nullptr);
  });
  std::free(_db2x2Block(precord));
}

/* A copy of an image with copies of its child chains, unlinked; NULL on failure. */
static void *_db2x2ImageClone(const void *precord)
{
  int iLength = odb2x2ImageSize(precord) - OFAKECAT_HEADER_SIZE;
  void *pcopy = odb2x2ImageCreate(iLength);
  if (pcopy == nullptr) return nullptr;
  std::memcpy(_db2x2Block(pcopy), _db2x2Block(precord), IMAGE_PREFIX + static_cast<size_t>(iLength));
  bool boFailed = false;
  _db2x2ForChildSlots(pcopy, [&](int iSlot, int16_t) {
    ochaine *pchaine = _db2x2Slot(pcopy, iSlot);
    ochaine *pclone = nullptr;
    if (pchaine != nullptr && !boFailed) {
      pclone = ochaineClone(pchaine);
      if (pclone != nullptr) pclone->pData = pchaine->pData;
      else boFailed = true;
    }
    _db2x2SetSlot(pcopy, iSlot, pclone);
  });
  /* A grown image's links, or a child row's two leading empty slots, are chain links. */
  if (_db2x2HasLinks(pcopy)) std::memset(pcopy, 0, 2 * sizeof(void *));
  if (boFailed) {
    odb2x2ImageDestroy(pcopy);
    return nullptr;
  }
  return pcopy;
}

void *odb2x2ChaineCloneProc(ochaine *pchaine, void *precord)
{
  (void)pchaine;
  return precord != nullptr ? _db2x2ImageClone(precord) : nullptr;
}

void odb2x2ChaineDestroyProc(ochaine *pchaine, void *precord)
{
  (void)pchaine;
  odb2x2ImageDestroy(precord);
}

ochaine *odb2x2ChaineCreate(int16_t sObid)
{
  ochaine *pchaine = ochaineCreate(0, odb2x2ChaineCloneProc, odb2x2ChaineDestroyProc);
  if (pchaine != nullptr) pchaine->pData = static_cast<uintptr_t>(static_cast<uint16_t>(sObid));
  return pchaine;
}

/* An image with two null link slots in front of the record; the old image is freed. */
static void *_db2x2ImageGrow(void *precord)
{
  int iLength = odb2x2ImageSize(precord) - OFAKECAT_HEADER_SIZE;
  int iGrowth = 2 * static_cast<int>(sizeof(void *));
  void *pgrown = odb2x2ImageCreate(iLength + iGrowth);
  if (pgrown == nullptr) return nullptr;
  int16_t sSize = odb2x2ImageSize(pgrown);
  std::memcpy(odb2x2ImageHeader(pgrown), odb2x2ImageHeader(precord), OFAKECAT_HEADER_SIZE);
  std::memcpy(odb2x2ImageHeader(pgrown) + 1, &sSize, 2);
  std::memcpy(static_cast<unsigned char *>(pgrown) + iGrowth, precord, static_cast<size_t>(iLength));
  _db2x2Block(pgrown)[0] = static_cast<unsigned char>(_db2x2ImagePrefix(precord) + 2);
  std::free(_db2x2Block(precord));
  return pgrown;
}

/* ============================================================ handles */

static char gacDefaultSsid[4] = {0, 0, 0, 0};
static uint16_t gusCcsidEbcdic = 850;     /* CCSID of 'E' columns */
static uint16_t gusCcsidUnicode = 850;    /* CCSID of 'U' columns */

void odb2x2SetDefaultSsid(const char *pcSsid)
{
  if (pcSsid != nullptr) std::memcpy(gacDefaultSsid, pcSsid, sizeof gacDefaultSsid);
  else std::memset(gacDefaultSsid, 0, sizeof gacDefaultSsid);
}

/* Sets the module CCSIDs of catalogue strings from the conversion context. */
static void _db2x2SetCcsids(int16_t sVersion)
{
  if (gpcnvft == nullptr) {
    gusCcsidEbcdic = gusCcsidUnicode = 850;
    return;
  }
  gusCcsidEbcdic = (gpcnvft->ucFlag & 0x80) ? gpcnvft->tripleHost.usMixed : gpcnvft->tripleHost.usSBCS;
  gusCcsidUnicode = sVersion >= 800 ? gpcnvft->tripleInternal.usMixed : gusCcsidEbcdic;
}

odb2x2 *odb2x2Create(const char *pcSsid, const char *pcIndex, const char *pcTablespace)
{
  odb2x2 *phandle = static_cast<odb2x2 *>(std::calloc(1, sizeof(odb2x2)));
  if (phandle == nullptr) return nullptr;
  _db2x2FillFirstRows();
  int rc = ofakecatInitModule();
  if (rc != 0) omsgsTrace("row types not registered: 0x%x\n", static_cast<unsigned>(rc));

  phandle->prscs = orscsCreate("$FAKE", 2, 0);
  if (phandle->prscs == nullptr) {
    omsgsFMTEDO(DBX0001E, "$FAKE");
  } else {
    char acSsid[5] = {0, 0, 0, 0, 0};
    std::memcpy(acSsid, pcSsid != nullptr ? pcSsid : gacDefaultSsid, 4);
    phandle->pdictSsid = acSsid[0] != '\0' ? oresLoadDict(phandle->prscs->pdictMain, acSsid) : nullptr;
    if (phandle->pdictSsid != nullptr) {
      int16_t sVersion = 0;
      ores *pres = oresLoadNamed(phandle->pdictSsid, "Version");
      rc = pres != nullptr ? oresGetShort(pres, &sVersion) : ORES_RC_NONAME;
      oresDestroy(pres);
      if (rc != 0) {
        omsgsTrace("subsystem %s: no readable Version (0x%x)\n", acSsid, static_cast<unsigned>(rc));
        oresdictDestroy(phandle->pdictSsid);
        phandle->pdictSsid = nullptr;
      } else {
        phandle->sVersion = sVersion;
        phandle->sMajor = static_cast<int16_t>(sVersion / 100);
      }
    }
  }
  _db2x2SetCcsids(phandle->sVersion);
  std::memset(phandle->acBlanks, ' ', sizeof phandle->acBlanks);
  std::memset(phandle->acIndex, ' ', sizeof phandle->acIndex);
  std::memset(phandle->acTablespace, ' ', sizeof phandle->acTablespace);
  if (pcIndex != nullptr) std::memcpy(phandle->acIndex, pcIndex, sizeof phandle->acIndex);
  if (pcTablespace != nullptr) std::memcpy(phandle->acTablespace, pcTablespace, sizeof phandle->acTablespace);
  return phandle;
}

void odb2x2Destroy(odb2x2 *phandle)
{
  if (phandle == nullptr) return;
  oresdictDestroy(phandle->pdictSsid);
  if (phandle->prscs != nullptr) orscsDestroy(phandle->prscs);
  std::free(phandle);

  /* The module's trace ends here. */
  omsgsMessage msg;
  std::memset(&msg, 0, sizeof msg);
  msg.lType = OMSGS_TYPE_ENDTRACE;
  int32_t iPid = static_cast<int32_t>(getpid());
  std::memcpy(msg.abHead + OMSGS_OFF_SENDER, &iPid, sizeof iPid);
  std::strncpy(reinterpret_cast<char *>(msg.abHead + OMSGS_OFF_KEYWORD), "$DB2X2", OMSGS_KEYWORD_SIZE);
  omsgsPostMessage(&msg, 0);
}

/* ============================================================ iterators */

static void _db2x2TreeDestroy(odb2x2Node *pnode)
{
  if (pnode == nullptr) return;
  for (int i = 1; i < 8 && pnode->aentry[i].sObid != 0; i++) _db2x2TreeDestroy(pnode->aentry[i].pnode);
  std::free(pnode);
}

/* The node of a table with the children that the list chooses; NULL when memory runs out. */
static odb2x2Node *_db2x2TreeBuild(int16_t sObid, const odb2x2ObidList *plist, int iDepth)
{
  odb2x2Node *pnode = static_cast<odb2x2Node *>(std::calloc(1, sizeof(odb2x2Node)));
  if (pnode == nullptr) return nullptr;
  pnode->aentry[0].sObid = sObid;
  const odb2x2CatRow *prow = odb2x2TableRows(sObid);
  int iSlots = odb2x2SlotCount(sObid);
  int iChildren = 0;
  for (int i = 0; i < iSlots; i++)
    if (prow[i].sLength != 0) iChildren++;
  int n = 1;
  for (; plist != nullptr && plist->sObid != 0 && n - 1 < iChildren && n < 7; plist++) {
    for (int i = 0; i < iSlots; i++) {
      if (prow[i].sLength != plist->sObid) continue;
      pnode->aentry[n].sObid = plist->sObid;
      pnode->aentry[n].sSlotOffset = static_cast<int16_t>(4 * i);
      /* Catalogue tables nest a few levels at most. */
      if (iDepth < 8) pnode->aentry[n].pnode = _db2x2TreeBuild(plist->sObid, plist->plist, iDepth + 1);
      n++;
      break;
    }
  }
  return pnode;
}

/* Releases the cursor and the key and index dictionaries of an iterator. */
static void _db2x2Unposition(odb2x2Iterator *piter)
{
  if (piter->pdictKey != nullptr) {
    oresDictCursorDestroy(&piter->cursor);
    oresdictDestroy(piter->pdictKey);
    piter->pdictKey = nullptr;
  }
  if (piter->pdictIndex != nullptr) {
    oresdictDestroy(piter->pdictIndex);
    piter->pdictIndex = nullptr;
  }
}

/* Loads the index and key dictionaries and starts the cursor; 0 or 8. */
static int _db2x2Position(odb2x2Iterator *piter)
{
  _db2x2Unposition(piter);
  odb2x2 *phandle = piter->phandle;
  if (phandle == nullptr || phandle->prscs == nullptr || phandle->pdictSsid == nullptr) return 8;
  if (piter->sIndexObid <= 0 || piter->sIndexObid >= ODB2X2_OBJECTS) return 8;
  const odb2x2ObjRow &row = aindexrowDb2[piter->sIndexObid];
  if (row.sTableObid == 0) return 8;
  /* A key dictionary is named by at most 255 bytes. */
  if (piter->pcKey == nullptr || piter->iKeyLength <= 0 || piter->iKeyLength >= 256) return 8;

  char acIndex[9];
  std::memcpy(acIndex, row.acName, 8);
  acIndex[8] = '\0';
  piter->pdictIndex = oresLoadDict(phandle->pdictSsid, acIndex);
  if (piter->pdictIndex == nullptr) return 8;
  char acKey[256];
  std::memcpy(acKey, piter->pcKey, static_cast<size_t>(piter->iKeyLength));
  acKey[piter->iKeyLength] = '\0';
  piter->pdictKey = oresLoadDict(piter->pdictIndex, acKey);
  if (piter->pdictKey == nullptr) return 8;
  oresDictCursorInit(&piter->cursor, piter->pdictKey);
  return 0;
}

/* Stores a copy of the key; false when memory runs out. */
static bool _db2x2SetKeyCopy(odb2x2Iterator *piter, const char *pcKey, int32_t iKeyLength)
{
  if (iKeyLength < 0 || (pcKey == nullptr && iKeyLength > 0)) iKeyLength = 0;
  char *pc = static_cast<char *>(std::malloc(static_cast<size_t>(iKeyLength) + 1));
  if (pc == nullptr) return false;
  if (iKeyLength > 0) std::memcpy(pc, pcKey, static_cast<size_t>(iKeyLength));
  pc[iKeyLength] = '\0';
  std::free(piter->pcKey);
  piter->pcKey = pc;
  piter->iKeyLength = iKeyLength;
  return true;
}

int odb2x2IteratorInit(odb2x2Iterator *piter, odb2x2 *phandle, int16_t sIndexObid, const char *pcKey,
                       int32_t iKeyLength, const odb2x2ObidList *plist)
{
  if (piter == nullptr) return 8;
  std::memset(piter, 0, sizeof *piter);
  piter->sIndexObid = sIndexObid;
  piter->sState = 3;
  piter->phandle = phandle;
  if (!_db2x2SetKeyCopy(piter, pcKey, iKeyLength)) return 8;
  int16_t sTable = sIndexObid > 0 && sIndexObid < ODB2X2_OBJECTS ? aindexrowDb2[sIndexObid].sTableObid : 0;
  piter->ptree = _db2x2TreeBuild(sTable, plist, 0);
  piter->ulMarker = ODB2X2_MARKER;
  return _db2x2Position(piter);
}

int odb2x2IteratorSetKey(odb2x2Iterator *piter, const char *pcKey, int32_t iKeyLength)
{
  if (piter == nullptr || piter->ulMarker != ODB2X2_MARKER) return 8;
  if (!_db2x2SetKeyCopy(piter, pcKey, iKeyLength)) return 8;
  return _db2x2Position(piter);
}

int odb2x2IteratorNext(odb2x2Iterator *piter)
{
  if (piter == nullptr || piter->ulMarker != ODB2X2_MARKER || piter->pdictKey == nullptr) return 4;
  if (oresDictCursorGetName(&piter->cursor) == nullptr) return 4;
  oresDictCursorNext(&piter->cursor);
  return oresDictCursorGetName(&piter->cursor) != nullptr ? 0 : 4;
}

const char *odb2x2IteratorGetKey(odb2x2Iterator *piter, int32_t *piLength)
{
  const char *pc = nullptr;
  if (piter != nullptr && piter->ulMarker == ODB2X2_MARKER && piter->pdictKey != nullptr)
    pc = oresDictCursorGetName(&piter->cursor);
  if (piLength != nullptr) *piLength = pc != nullptr ? static_cast<int32_t>(std::strlen(pc)) : 0;
  return pc;
}

int odb2x2IteratorDestroy(odb2x2Iterator *piter)
{
  if (piter == nullptr) return 0;
  if (piter->ulMarker == ODB2X2_MARKER) {
    _db2x2TreeDestroy(piter->ptree);
    _db2x2Unposition(piter);
    std::free(piter->pcKey);
  }
  std::memset(piter, 0, sizeof *piter);
  return 0;
}

static int16_t _db2x2RootObid(const odb2x2Iterator *piter)
{
  return piter->ptree != nullptr ? piter->ptree->aentry[0].sObid : 0;
}

/* Reads the row of the current entry with its child rows; NULL when there is none or it cannot be read. */
static void *_db2x2ReadCurrent(odb2x2Iterator *piter)
{
  if (piter == nullptr || piter->ulMarker != ODB2X2_MARKER || piter->pdictKey == nullptr) return nullptr;
  ores *pres = oresDictCursorLoad(&piter->cursor);
  if (pres == nullptr) return nullptr;
  int32_t iType = OFAKECAT_TYPE(_db2x2RootObid(piter), piter->phandle->sMajor);
  int rc = 0;
  void *precord = oresGet(pres, iType, nullptr, &rc);
  oresDestroy(pres);
  if (precord == nullptr)
    omsgsTrace("row %s of type 0x%x not read: 0x%x\n", oresDictCursorGetName(&piter->cursor),
               static_cast<unsigned>(iType), static_cast<unsigned>(rc));
  return precord;
}

void *odb2x2IteratorGet(odb2x2Iterator *piter)
{
  return _db2x2ReadCurrent(piter);
}

void *odb2x2IteratorGetFull(odb2x2Iterator *piter)
{
  return _db2x2ReadCurrent(piter);
}

/* ============================================================ conversion */

/*
** Column function of catalogue rows: copies one value from the source
** image (read position: the source row's cursor) to the target cursor and
** points the target column at it.  Child slots and links are pointer-sized,
** VARCHAR values keep their 2-byte length.
*/
static int _db2x2CopyColumn(orow *psrc, orow *ptgt)
{
  if (psrc->iCurrent >= psrc->iCount || ptgt->iCurrent >= ptgt->iCount) return OCONVERT_RC_STOPROW;
  if (psrc->pcCursor == nullptr || ptgt->pcCursor == nullptr) return OCONVERT_RC_STOPROW;
  const rowColDef *pdef = &psrc->pcoldef[psrc->iCurrent];
  ptrdiff_t lLeft = psrc->pcEnd - psrc->pcCursor;
  ptrdiff_t lWidth;
  switch (pdef->iType) {
    case 0:
      lWidth = static_cast<ptrdiff_t>(sizeof(void *));
      break;
    case 448:
    case 456: {
      int16_t sLength;
      if (lLeft < 2) return OCONVERT_RC_STOPROW;
      std::memcpy(&sLength, psrc->pcCursor, 2);
      if (sLength < 0 || sLength > pdef->iLength) return OCONVERT_RC_STOPROW;
      lWidth = 2 + sLength;
      break;
    }
    default:
      lWidth = pdef->iLength;
      break;
  }
  if (lWidth <= 0 || lLeft < lWidth || ptgt->pcEnd - ptgt->pcCursor < lWidth) return OCONVERT_RC_STOPROW;
  std::memcpy(ptgt->pcCursor, psrc->pcCursor, static_cast<size_t>(lWidth));
  ptgt->pcoldef[ptgt->iCurrent].pcData = ptgt->pcCursor;
  ptgt->pcCursor += lWidth;
  psrc->pcCursor += lWidth;
  ptgt->iCurrent++;
  psrc->iCurrent++;
  return 0;
}

static const convertTabLine aconvertCatalog[] = {
  {0, 0, _db2x2CopyColumn},     {392, 392, _db2x2CopyColumn}, {448, 448, _db2x2CopyColumn},
  {452, 452, _db2x2CopyColumn}, {456, 456, _db2x2CopyColumn}, {480, 480, _db2x2CopyColumn},
  {496, 496, _db2x2CopyColumn}, {500, 500, _db2x2CopyColumn}, {0xFFFF, 0xFFFF, nullptr}
};

/* Registers the catalogue column functions that the conversion dictionary lacks. */
static int _db2x2RegisterConversions(void)
{
  for (const convertTabLine *pline = aconvertCatalog; pline->func != nullptr; pline++) {
    if (oconvertLookup(orowMakeConvertKey(pline->usSourceKey, pline->usTargetKey)) == pline->func) continue;
    int rc = oconvertRegisterConversion(pline);
    if (rc != 0) return rc;
  }
  return 0;
}

/* The file Version each cached converter was made for (by row of atableRefConversion). */
#define DB2X2_MAX_REF 32
static int16_t gasConvertVersion[DB2X2_MAX_REF];

static void _db2x2DestroyConverter(oconvert *pconvert)
{
  if (pconvert == nullptr) return;
  orow *prowSource = pconvert->prowSource;
  orow *prowTarget = pconvert->prowTarget;
  oconvertDestroy(pconvert);
  orowDestroy(prowSource);
  orowDestroy(prowTarget);
}

/*
** The converter of a table for files of the handle's Version: links, then
** the table's rows less its leading spare link rows, the rows whose limit
** is below the Version and the columns of later releases (the row types
** of the file's release do not hold them).  NULL when a row has a type
** without column function or memory runs out.
*/
static oconvert *_db2x2CreateConverter(int16_t sObid, const odb2x2 *phandle)
{
  const odb2x2CatRow *prow = odb2x2TableRows(sObid);
  if (prow == nullptr) return nullptr;
  rowColDef defLink{};
  defLink.iType = 0;
  defLink.iLength = static_cast<int32_t>(sizeof(void *));
  defLink.sOffset = defLink.sNullOffset = -1;
  rowColDef adef[80];
  int n = 0;
  adef[n++] = defLink;
  adef[n++] = defLink;
  int32_t ilBuffer = 8 + 2 * static_cast<int32_t>(sizeof(void *));
  bool boLeading = true;
  for (; prow->sObid == sObid; prow++) {
    if (boLeading && prow->sSqlType == 0 && prow->sLength == 0) continue;
    boLeading = false;
    if (prow->usLimit < static_cast<uint16_t>(phandle->sVersion)) continue;
    if (prow->sRelease > phandle->sMajor * 100) continue;
    switch (prow->sSqlType) {
      case 0: case 392: case 448: case 452: case 456: case 480: case 496: case 500: break;
      default:
        omsgsTrace("table %d: no column function for SQL type %d\n", sObid, prow->sSqlType);
        return nullptr;
    }
    if (n >= 80) return nullptr;
    rowColDef def{};
    def.iType = prow->sSqlType;
    def.iLength = prow->sSqlType == 0 ? static_cast<int32_t>(sizeof(void *)) : prow->sLength;
    switch (prow->cEncoding) {
      case 'E': def.usCCSID = gusCcsidEbcdic; break;
      case 'U': def.usCCSID = gusCcsidUnicode; break;
      case 'X': def.usCCSID = 0xFFFF; break;
      default: def.usCCSID = 0; break;
    }
    def.sOffset = def.sNullOffset = -1;
    adef[n++] = def;
    ilBuffer += def.iLength + (def.iType == 448 || def.iType == 456 ? 2 : 0);
  }
  if (_db2x2RegisterConversions() != 0) return nullptr;
  orow *prowSource = orowCreateFromDef(adef, n);
  orow *prowTarget = orowCreateFromDef(adef, n);
  char *pcZero = static_cast<char *>(std::calloc(1, static_cast<size_t>(ilBuffer)));
  int rc = 0;
  oconvert *pconvert = nullptr;
  if (prowSource != nullptr && prowTarget != nullptr && pcZero != nullptr &&
      orowSetBuffer(prowTarget, pcZero, ilBuffer, OROW_OWNED) == 0)
    pconvert = oconvertCreate(prowSource, prowTarget, 0, &rc);
  std::free(pcZero);
  if (pconvert == nullptr) {
    omsgsTrace("table %d: no converter (0x%x)\n", sObid, static_cast<unsigned>(rc));
    orowDestroy(prowSource);
    orowDestroy(prowTarget);
  }
  return pconvert;
}

/* The row of atableRefConversion of a table and its index, or NULL. */
static osysibmRefConversion *_db2x2Ref(int16_t sObid, int *piIndex)
{
  for (int i = 0; atableRefConversion[i].sTableId != -1 && i < DB2X2_MAX_REF; i++) {
    if (atableRefConversion[i].sTableId == sObid) {
      *piIndex = i;
      return &atableRefConversion[i];
    }
  }
  return nullptr;
}

/* Converts one record image into a new catalogue record; NULL when it fails. */
static osysibm *_db2x2ConvertRecord(oconvert *pconvert, const osysibmRefConversion *pref, void *precord)
{
  omsgsTrace("pchaineItemIn :\n");
  int32_t ilLength = odb2x2ImageSize(precord) - OFAKECAT_HEADER_SIZE;
  if (orowSetBuffer(pconvert->prowSource, precord, ilLength, 0) != 0) return nullptr;
  orowResetBuffer(pconvert->prowTarget, 1);
  int rc = oconvertConvert(pconvert);
  if (rc != 0 && rc != 0x10a001) {
    omsgsTrace("record of table %d not converted: 0x%x\n", pref->sTableId, static_cast<unsigned>(rc));
    return nullptr;
  }
  osysibm *pnew = static_cast<osysibm *>(std::calloc(1, static_cast<size_t>(pref->sRecordSize)));
  if (pnew == nullptr) return nullptr;
  omsgsTrace("rowin \n");
  pref->procPut(pconvert->prowTarget, pnew);
  return pnew;
}

/* Converts a chain of record images (and their child chains) into catalogue records. */
static ochaine *_db2x2ConvertChain(odb2x2Iterator *piter, ochaine *pchaineOld)
{
  omsgsTrace("pchaineOld: \n");
  int16_t sObid = static_cast<int16_t>(pchaineOld->pData);
  int iRef = 0;
  osysibmRefConversion *pref = _db2x2Ref(sObid, &iRef);
  if (pref == nullptr) {
    piter->sState = 1;
    return nullptr;
  }
  ochaine *pchaineNew = ochaineCreate(pref->sRecordSize, nullptr, osysibmChaineDestroyProc);
  if (pchaineNew == nullptr) {
    piter->sState = 1;
    return nullptr;
  }
  pchaineNew->pData = static_cast<uintptr_t>(static_cast<uint16_t>(sObid));

  if (pref->pconvert != nullptr && gasConvertVersion[iRef] != piter->phandle->sVersion) {
    _db2x2DestroyConverter(pref->pconvert);
    pref->pconvert = nullptr;
  }
  if (pref->pconvert == nullptr) {
    pref->pconvert = _db2x2CreateConverter(sObid, piter->phandle);
    gasConvertVersion[iRef] = piter->phandle->sVersion;
    if (pref->pconvert == nullptr) piter->sState = 1;
  }

  for (void *pitem = pchaineOld->pitemTop; pitem != nullptr && piter->sState == 0;
       pitem = static_cast<ochaineItem *>(pitem)->pitemNext) {
    _db2x2ForChildSlots(pitem, [&](int iSlot, int16_t sChild) {
      ochaine *pchild = _db2x2Slot(pitem, iSlot);
      if (pchild == nullptr || piter->sState != 0) return;
      int iChildRef = 0;
      /* Rows of tables without a record type have no place in the records. */
      ochaine *pconverted = _db2x2Ref(sChild, &iChildRef) != nullptr ? _db2x2ConvertChain(piter, pchild) : nullptr;
      ochaineDestroy(pchild);
      _db2x2SetSlot(pitem, iSlot, pconverted);
    });
    if (piter->sState != 0) break;
    osysibm *pnew = _db2x2ConvertRecord(pref->pconvert, pref, pitem);
    if (pnew == nullptr) {
      piter->sState = 1;
      break;
    }
    ochaineAppend(pchaineNew, pnew);
    /* The new record owns the converted child chains now. */
    _db2x2ForChildSlots(pitem, [&](int iSlot, int16_t) { _db2x2SetSlot(pitem, iSlot, nullptr); });
  }
  omsgsTrace("pchaineNew: \n");
  return pchaineNew;
}

static void _db2x2SetOwners(ochaine *pchaine, osysibm *powner)
{
  for (void *pitem = pchaine->pitemTop; pitem != nullptr; pitem = static_cast<ochaineItem *>(pitem)->pitemNext) {
    osysibm *precord = static_cast<osysibm *>(pitem);
    precord->powner = powner;
    int iChaines = precord->usChaineCount & 0xFF;
    for (int i = 0; i < iChaines; i++)
      if (osysibmChaines(precord)[i] != nullptr) _db2x2SetOwners(osysibmChaines(precord)[i], precord);
  }
}

ochaine *odb2x2IteratorGetFullConvert(odb2x2Iterator *piter, ochaine *pchaine)
{
  void *precord = _db2x2ReadCurrent(piter);
  if (precord == nullptr) return nullptr;
  int16_t sObid = _db2x2RootObid(piter);
  ochaine *pchaineOld = odb2x2ChaineCreate(sObid);
  const odb2x2CatRow *prow = odb2x2TableRows(sObid);
  /* A top row without leading link slots gets two, so that it can be a chain item. */
  if (pchaineOld != nullptr && prow != nullptr && (prow->sSqlType != 0 || prow->sLength != 0)) {
    void *pgrown = _db2x2ImageGrow(precord);
    if (pgrown == nullptr) {
      ochaineDestroy(pchaineOld);
      pchaineOld = nullptr;
    } else {
      precord = pgrown;
    }
  }
  if (pchaineOld == nullptr) {
    odb2x2ImageDestroy(precord);
    return nullptr;
  }
  ochaineAppend(pchaineOld, precord);
  piter->sState = 0;
  ochaine *pchaineNew = _db2x2ConvertChain(piter, pchaineOld);
  ochaineDestroy(pchaineOld);
  if (piter->sState == 1) {
    ochaineDestroy(pchaineNew);
    return nullptr;
  }
  _db2x2SetOwners(pchaineNew, nullptr);
  if (pchaine == nullptr) return pchaineNew;
  void *pfirst = pchaineNew->pitemTop;
  if (pfirst != nullptr) ochaineAppend(pchaine, ochaineRemoveItem(pchaineNew, pfirst));
  ochaineDestroy(pchaineNew);
  return pchaine;
}

/* ============================================================ printing */

static void _db2x2PrintItemProc(ochaine *pchaine, void *pitem, FILE *pfile, int iLength)
{
  (void)iLength;
  odb2x2PrintItem(pchaine, pitem, pfile);
}

void odb2x2PrintItem(ochaine *pchaine, void *precord, FILE *pfile)
{
  if (precord == nullptr || pfile == nullptr) return;
  if (pchaine != nullptr) {
    std::fprintf(pfile, "\nObid = %2x\n", static_cast<unsigned>(static_cast<uint16_t>(odb2x2ImageObid(precord))));
    std::fprintf(pfile, "Len  = %2x\n", static_cast<unsigned>(static_cast<uint16_t>(odb2x2ImageSize(precord))));
    /* Inside a child chain this function is the item print: the record itself is dumped. */
    ochainePrintProc procItem = pchaine->procPrintItem;
    if (procItem == _db2x2PrintItemProc) pchaine->procPrintItem = nullptr;
    ochainePrintItem(pchaine, precord, pfile, odb2x2ImageSize(precord) - OFAKECAT_HEADER_SIZE);
    pchaine->procPrintItem = procItem;
  }
  _db2x2ForChildSlots(precord, [&](int iSlot, int16_t) {
    ochaine *pchild = _db2x2Slot(precord, iSlot);
    if (pchild == nullptr) return;
    ochainePrintProc procBefore = pchild->procPrintItem;
    pchild->procPrintItem = _db2x2PrintItemProc;
    ochainePrint(pchild, pfile, 0, 2);
    pchild->procPrintItem = procBefore;
  });
}

void toolsDump(FILE *pfile, const void *pvData, int32_t ilLength)
{
  if (pfile == nullptr || pvData == nullptr) return;
  const unsigned char *puc = static_cast<const unsigned char *>(pvData);
  for (int32_t ilLine = 0; ilLine < ilLength; ilLine += 32) {
    int32_t n = ilLength - ilLine < 32 ? ilLength - ilLine : 32;
    std::fprintf(pfile, "%p: ", static_cast<const void *>(puc + ilLine));
    for (int32_t j = 0; j < 32; j++) {
      if (j < n) std::fprintf(pfile, "%.2x", puc[ilLine + j]);
      else std::fputs("  ", pfile);
      if ((j + 1) % 4 == 0) std::fputc(' ', pfile);
      if ((j + 1) % 8 == 0) std::fputc(' ', pfile);
    }
    std::fputs("  ", pfile);
    for (int32_t j = 0; j < n; j++) {
      unsigned char uc = puc[ilLine + j];
      std::fputc(uc >= 0x20 && uc < 0x7F ? uc : '.', pfile);
    }
    std::fputc('\n', pfile);
  }
}
