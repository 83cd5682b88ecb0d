/*
** ficdata.h
**   DB2 data pages and records as every table-space reader meets them: the
**   slot directory of a page, the table descriptor record on a table's first
**   page and the in-memory table description built from it, the decoding of
**   a stored record (plain or value-compressed) into the unload record that
**   the readers send to the writers, the SKIP/INTERVAL sampler and the size
**   of a table's largest unload record.  The first-generation reader state
**   (ficdata) is declared here as well, since the record decoder works on it.
**
**   Every offset, count and length taken from a page is checked against the
**   page (or the record) before it is followed.  Two codes keep the kinds of
**   damage apart: FICDATA_RC_TRUNCATED when a structure starts inside the
**   bytes that hold it but runs past their end (page, record or pipe answer),
**   FICDATA_RC_CORRUPT when a value is one no sound page holds (an offset
**   pointing outside the page, a negative length, a row larger than the
**   record buffer ...).  Callers: the first-generation readers, the
**   table-space objects (zorts) and the partition read driver.
**
**   DB2 DATA PAGE (4096, 8192, 16384 or 32768 bytes of 512-byte sectors;
**   all integers little-endian)
**     OFFSET  SIZE  DESCRIPTION
**        0      2   o = offset of the slot directory in the page
**       28      4   object page number of this page
**       36      4   torn-page word 0 (saved bit 0 of sectors 0-31)
**       40      4   torn-page word 1 (sectors 32-63, 32 KB pages only)
**        o      2   n = number of slots (signed; 0: no records, below 0: damaged)
**   o+20+2i     2   slot i: -1 empty, else the record lies at o + 20 + value
**
**   Slots with a fixed role: object page 0 slot 0 data-file header (u32 at
**   record offset 4 = pages of the data object), slot 2 table directory,
**   slot 3 table descriptor (possibly a pointer record), data from slot 4;
**   a page whose number is a non-zero multiple of 500 has data from slot 1;
**   every other page from slot 0.  When slot 3 is a pointer record, the
**   descriptor it points to is no row either, wherever it lies.
**
**   The pages of a table's data object are object pages 0 to N - 1 (N the
**   data-file header's count); every reader knows the object page it asks
**   for, and a page that carries another number (a page of zeros, a page of
**   another object) is damaged, as are a slot count below zero and pages
**   that end before N.  One policy for damage, whatever the reader: what
**   cannot be a sound page or record is named (table, page, slot), counted
**   and skipped, and the SELECT ends with the count (ficdataSkipDamaged,
**   ficdataCheckPage); pages that cannot be had at all fail the read.
**
**   RECORD HEADER (first 8 bytes of a record)
**     OFFSET  SIZE  DESCRIPTION
**        0      1   low nibble: kind (0 normal, 4 overflow, 2 pointer)
**        2      2   total record length (format 1)
**        4      1   format: 1 data row, 2 value-compressed data row
**                   (pointer record: u32 at 4 = page << 8 | slot)
**        6      2   format 1: fixed-part length; format 2: entry count c
**        8      .   format 1: the row (fixed part, then variable data)
**                   format 2: c + 1 u16 entries (0x8000 special value,
**                   low 15 bits the value's position), values from 10 + 2c
**
**   A variable column (VARCHAR, VARGRAPHIC, LONG VARCHAR/VARGRAPHIC, BLOB,
**   CLOB, DBCLOB) holds in the fixed part an i16 offset (from the row start)
**   and an i16 length of its data; a nullable column is followed by one null
**   byte (0 present, else NULL).  A column whose record offset is not below
**   the record's fixed-part length is absent from that record.
**
**   TABLE DESCRIPTOR RECORD (kind 0 or 4)
**     OFFSET  SIZE  DESCRIPTION
**        6      2   number of columns k
**     8+8j      2   column j: stored type code
**    10+8j      2   column j: length (DECIMAL: byte 10+8j precision, 11+8j scale)
**    12+8j      2   column j: flags, bit 0 nullable
**    14+8j      2   column j: record offset in the fixed part
**
**   UNLOAD RECORD (what a reader sends per kept row; its own length counts)
**     OFFSET  SIZE  DESCRIPTION
**        0      4   copied record: its first four bytes; expanded: zero
**        4      1   1 (format 1)
**        5      1   flags: FICDATA_UREC_CUT when the reader put a LOB longer
**                   than FICDATA_MAX_LONGDATA into the row cut to that many
**                   bytes (its descriptor keeps the whole length, the
**                   length held says what the row carries); else 0
**        6      2   fixed-part length of this record
**        8      .   row, then long-field and LOB data appended by the reader
**
**   A reader that loads LOBs into the rows sets byte 5 of every record it
**   sends.  Only a record whose row holds no LOB column of the output may
**   go out with the stored record's own byte 5; the writer looks at the
**   LOB descriptors of a row only when the flag is there and counts those
**   whose whole length exceeds the length held.
**
**   Single-threaded per reader state; the functions without a state keep
**   nothing between calls.
*/
#ifndef ZAV_STORAGE_FICDATA_H
#define ZAV_STORAGE_FICDATA_H

#include <cstdint>

#include "common/oreason.h"

struct ficcont;
struct ochar;
struct ovf;
struct zornode;
struct zornodeEvalContext;
struct zortask;

/* Reason codes (module 0x117). */
#define FICDATA_RC_TRUNCATED ORC_MAKE(0x117, 2, 0x001)  /* 0x117a001 a structure runs past the bytes that hold it */
#define FICDATA_RC_CORRUPT   ORC_MAKE(0x117, 2, 0x002)  /* 0x117a002 a count, offset or length no sound page holds */
#define FICDATA_RC_PIPE      ORC_MAKE(0x117, 2, 0x003)  /* 0x117a003 a long-field or LOB child's answer failed */
#define FICDATA_RC_READ      ORC_MAKE(0x117, 2, 0x004)  /* 0x117a004 a page could not be read whole */
#define FICDATA_RC_REFUSED   ORC_MAKE(0x117, 2, 0x005)  /* 0x117a005 a record channel refused a record */
#define FICDATA_RC_PAGENO    ORC_MAKE(0x117, 2, 0x043)  /* 0x117a043 a page is not the object page its place promises */
#define FICDATA_RC_PAGES     ORC_MAKE(0x117, 2, 0x044)  /* 0x117a044 the table's pages end before its page count */

/* Page layout. */
#define FICDATA_SECTOR          512
#define FICDATA_PAGE_SLOTDIR    0     /* u16 offset o of the slot directory */
#define FICDATA_PAGE_NUMBER     28    /* u32 object page number */
#define FICDATA_PAGE_TORN0      36    /* u32 torn-page word 0 */
#define FICDATA_PAGE_TORN1      40    /* u32 torn-page word 1 */
#define FICDATA_PAGE_HEADER     44    /* bytes of page header before any slot directory */
#define FICDATA_SLOTS_BASE      20    /* slot values are relative to o + 20 */
#define FICDATA_MAX_SLOTS       256   /* slot numbers are 8 bits wide */

/* Record layout. */
#define FICDATA_REC_HEADER      8
#define FICDATA_REC_LENGTH      2     /* u16 total length */
#define FICDATA_REC_FORMAT      4     /* format byte; pointer: u32 page << 8 | slot */
#define FICDATA_REC_FIXED       6     /* i16 fixed-part length / entry count */
#define FICDATA_REC_POINTER     4

/* Unload record: byte 5, the flags the reader sets. */
#define FICDATA_UREC_FLAGS      5
#define FICDATA_UREC_CUT        0x01  /* a LOB of the row was cut to FICDATA_MAX_LONGDATA bytes */

/* Record kinds (low nibble of byte 0); slot kinds of ficdataReadSlots. */
#define FICDATA_KIND_NORMAL     0
#define FICDATA_KIND_POINTER    2
#define FICDATA_KIND_OVERFLOW   4
#define FICDATA_KIND_EMPTY      (-1)  /* slot value -1 */
#define FICDATA_KIND_DAMAGED    (-2)  /* slot pointing outside the page */

/* Record formats. */
#define FICDATA_FORMAT_ROW        1
#define FICDATA_FORMAT_COMPRESSED 2

/* Slots with a fixed role on object page 0. */
#define FICDATA_SLOT_HEADER     0
#define FICDATA_SLOT_TDIR       2
#define FICDATA_SLOT_DESCRIPTOR 3

/* Stored column type codes. */
#define FICDATA_T_SMALLINT    0
#define FICDATA_T_INTEGER     1
#define FICDATA_T_DECIMAL     2
#define FICDATA_T_FIXED8A     3
#define FICDATA_T_FIXED4      4
#define FICDATA_T_FIXED8B     5
#define FICDATA_T_CHAR        256
#define FICDATA_T_VARCHAR     257
#define FICDATA_T_LONGVARCHAR 260
#define FICDATA_T_DATE        261
#define FICDATA_T_TIME        262
#define FICDATA_T_TIMESTAMP   263
#define FICDATA_T_BLOB        264
#define FICDATA_T_CLOB        265
#define FICDATA_T_GRAPHIC     512
#define FICDATA_T_VARGRAPHIC  513
#define FICDATA_T_LONGVARG    514
#define FICDATA_T_DBCLOB      515

/* Compressed-record special values. */
#define FICDATA_SPECIAL       0x8000
#define FICDATA_SPECIAL_NULL  1
#define FICDATA_SPECIAL_DEFAULT 128

/* Largest unload record: base, and more for each long-field or LOB column. */
#define FICDATA_MAX_ROW       32677
#define FICDATA_MAX_LONGDATA  32700   /* also the most LOB bytes sent inline */

/* Long-field descriptor and LOB descriptor fields the reader patches. */
#define FICDATA_LF_LENGTH     0    /* i32 length */
#define FICDATA_LF_POSITION   8    /* i32 position (512-byte units); set to the data offset */
#define FICDATA_LF_SIZE       12   /* bytes of descriptor the reader needs */
#define FICDATA_LOB_LENGTH    8    /* i32 LOB length */
#define FICDATA_LOB_DATALEN   12   /* i32 set to the length appended */
#define FICDATA_LOB_FIRST     56   /* i32 first segment; set to the data offset */
#define FICDATA_LOB_SIZE      60   /* bytes of descriptor the reader needs */
/* Longest text a LOB child answers for a LOB written to a LOB file (ficlvar.h). */
#define FICDATA_LOB_TEXT_MAX  4096

/* One column of a table description. */
struct ficdataColumnDesc {
  uint16_t usColumn;      /* 0-based position in the descriptor */
  int16_t  sType;         /* stored type code */
  int16_t  sLength;       /* length; DECIMAL precision << 8 | scale */
  int16_t  sFlags;        /* bit 0 nullable */
  int16_t  sOffset;       /* record offset in the fixed part (from the row start) */
  int16_t  sNullOffset;   /* offset of the null byte, -1 when not nullable */
  int16_t  sUsed;         /* 1 when the output needs the column (set by the run step) */
};

/*
** Table description.  A partition work item copies it as a 16-byte block,
** so the fields are packed into 16 bytes; the column array is owned by
** whoever owns the description and is not copied with it.
*/
struct ficdataTableDesc {
  ficdataColumnDesc *pcolumns;  /* one entry per column, descriptor order (malloc) */
  int32_t ilFixedLength;        /* sum of in-record sizes, + 1 per nullable column */
  int16_t sColumnCount;
  uint8_t ucLongField;          /* 1 when a column has type 260 or 514 */
  uint8_t ucLob;                /* 1 when a column has type 264, 265 or 515 */
};
static_assert(sizeof(ficdataTableDesc) <= 16, "a partition work item copies 16 bytes");

/* Slot directory of one page as ficdataReadSlots returns it. */
struct ficdataSlots {
  int32_t ilCount;                           /* slots read, 0 when none */
  int32_t ailOffset[FICDATA_MAX_SLOTS];      /* page offset of the record, -1 empty or damaged */
  int32_t aiKind[FICDATA_MAX_SLOTS];         /* record kind, FICDATA_KIND_EMPTY or _DAMAGED */
};

/* Sampling block of a reader (present when a task is given). */
struct ficdataSampling {
  int32_t iOn;          /* 1 when SKIP > 0 or INTERVAL > 0 */
  int32_t ilSkip;
  int32_t ilInterval;
  int32_t ilCounter;    /* records offered so far */
  int32_t ilLastKept;   /* number of the last record kept */
  int64_t llMaxRows;    /* -1 no limit */
};

/* Long-data pipe block: the ends towards the long-field and LOB children. */
struct ficdataInfoLong {
  int iLFRequest;       /* long-field request write end */
  int iLFAnswer;        /* long-field answer read end */
  int iLOBRequest;      /* LOB request write end */
  int iLOBAnswer;       /* LOB answer read end */
};

/* Room for a table's "QUALIFIER.NAME" in messages (128 + 1 + 128 and a NUL). */
#define FICDATA_TABLE_NAME_SIZE 264

/* Long-data flags of a reader. */
#define FICDATA_LONG_LOB 0x1
#define FICDATA_LONG_LF  0x2

/*
** Read-ahead window of the data-page loop: the pages that follow a page
** read from a local container are read with it, FICDATA_AHEAD_BYTES at a
** time, one window per descriptor (the containers of a table space are
** read in turn, each forwards).  A page's torn-page bits are restored in
** the window, once.
*/
#define FICDATA_AHEAD_BYTES   (256 * 1024)
#define FICDATA_AHEAD_WINDOWS 4
struct ficdataAhead {
  unsigned char *puc;          /* FICDATA_AHEAD_BYTES, NULL until first used */
  unsigned char *pucRestored;  /* one byte per page of the window: 1 once restored */
  int iFd;                     /* descriptor read, -1 none */
  int64_t llAt;                /* file offset of the window's first byte */
  int32_t ilBytes;             /* bytes read into the window */
  uint32_t ulUsed;             /* clock of the last use, for replacement */
};

/* First-generation reader state (one per reader process). */
struct ficdata {
  unsigned char *apcPage[2];   /* page buffers of the page size; 0 for data pages */
  int32_t ilPageSize;
  void *pConf;                 /* page-mapping configuration, set by the caller */
  int32_t iLongFlags;          /* FICDATA_LONG_* */
  zortask *ptask;              /* SELECT task, or NULL */
  int32_t ilPart;              /* partition number */
  ficdataSampling *psampling;  /* NULL without a task */
  ochar *pcharLobDir;          /* LOB directory, borrowed, or NULL */
  ochar *pcharLobFile;         /* LOBFILE name template, borrowed, or NULL */
  int32_t ilReadCode;          /* first page-read failure (FICDATA_RC_READ), 0 none */
  int64_t llDamaged;           /* damaged records and slot directories skipped */
  int32_t ilLobsWithoutSlot;   /* LOB files numbered so far for LOBs without a first slot */
  int32_t ilDescPage;          /* logical page of the descriptor a pointer on object page 0 names, -1 none */
  int32_t iDescSlot;           /* its slot */
  char acTable[FICDATA_TABLE_NAME_SIZE];   /* "QUALIFIER.NAME" for messages, may be empty */
  ficdataAhead aahead[FICDATA_AHEAD_WINDOWS];   /* data-page read-ahead windows */
  uint32_t ulAheadClock;       /* uses of the windows so far */
};

/*
** Table information block: where a reader finds the table's pages.  Page p
** of a container (or of an image) is read at p x page size + llOffset.
** The driver fills the first fields with ficdataInitInfoTable, points
** pinfoLong at the block of the table's long table space, and sets the
** logical and object page before each first-page read; the readers set the
** physical page after mapping.
*/
struct ficdataInfoTable {
  int32_t ilTbsId;             /* table-space id */
  int32_t ilTableId;           /* SMS file id / DMS object id */
  int32_t ilPart;              /* partition number */
  int32_t ilRemote;            /* 1: pages come through the daemon */
  int32_t ilPageSize;          /* bytes */
  int64_t llOffset;            /* start of the page area, 0 for containers */
  ficdataInfoTable *pinfoLong; /* block of the long table space, or NULL */
  int32_t ilLogicalPage;       /* SMS: table page; DMS: table-space page */
  int32_t ilObjectPage;        /* 0 = the table's first page; -1 after a pointer */
  int32_t ilPhysicalPage;      /* page within the container */
  int64_t llExpectedPage;      /* data-page read: the object page the page must be, -1 not known */
};

/* The two values of the table directory record (object page 0, slot 2). */
struct ficdataTableDir {
  int16_t sWord6;              /* i16 at record offset 6 */
  uint32_t ulWord8;            /* u32 at record offset 8 */
};

/*
** Page mapping of a reader: the configuration (ficdata.pConf), the table id,
** a logical page; returns the page in the container and sets *pilCont, or
** -1.  _ficdmsMapPage and _ficsmsMapPage are the two mappings.
*/
typedef int32_t (*ficdataMapPage)(const void *pConf, int32_t ilTableId, int32_t ilPage, int32_t *pilCont);

/*
** What the record decoder sees of one output pair: its channel (NULL once
** the pair's writer has stopped it) and its WHERE test.
*/
struct ficdataPair {
  ovf *povf;
  zornode *pnodeWhere;             /* NULL without WHERE */
  zornodeEvalContext *pctxWhere;   /* evaluation context of the tree */
};

/* ----------------------------------------------------------- pages */

/*
** ficdataIsPageSize
**   Returns 1 for 4096, 8192, 16384 and 32768, else 0.
*/
int ficdataIsPageSize(int32_t ilPageSize);

/*
** ficdataReadSlots
**   Reads the slot directory of a page of ilPageSize bytes into *pslots:
**   the slot count and, per slot, the record's page offset (o + 20 + value)
**   and its kind (FICDATA_KIND_EMPTY for the slot value -1).
**   Returns 0 (count 0 when n is 0); ORC_INVALID for a page size that is
**   not a DB2 page size; FICDATA_RC_CORRUPT with count 0 when the slot
**   directory's offset lies outside the page or n is below 0 or above
**   FICDATA_MAX_SLOTS; FICDATA_RC_TRUNCATED with count 0 when the slot
**   values run past the end of the page; FICDATA_RC_CORRUPT with every slot
**   read when some slot points outside the page (those slots have kind
**   FICDATA_KIND_DAMAGED and offset -1; the others can be used).
*/
int ficdataReadSlots(const unsigned char *pcPage, int32_t ilPageSize, ficdataSlots *pslots);

/*
** ficdataCheckPage
**   What every reader checks of a data page before its records: the object
**   page number the page carries (u32 at 28) must be llExpected (-1: not
**   known, not checked), and its slot directory is read into *pslots.  A
**   page of another number is skipped, named (ZORU433W: table pcTable, the
**   page expected, the number found) and counted in *pllDamaged; so is a
**   page whose slot directory gives no slot (ZORU451W).
**   Returns 1 when records of the page may be read (slots that point
**   outside the page have kind FICDATA_KIND_DAMAGED), 0 when the page is
**   skipped.  *pllObjectPage (may be NULL) gets the page's object page
**   number: llExpected when known, else the number it carries.
*/
int ficdataCheckPage(const char *pcTable, int64_t *pllDamaged, const unsigned char *pcPage, int32_t ilPageSize,
                     int64_t llExpected, ficdataSlots *pslots, int64_t *pllObjectPage);

/*
** ficdataDescriptorTarget
**   When slot 3 of object page 0 (pcPage) is a pointer record, *pulPage and
**   *piSlot get the page and slot it names (SMS: table page; DMS:
**   table-space page) and 1 is returned; else 0.
*/
int ficdataDescriptorTarget(const unsigned char *pcPage, int32_t ilPageSize, uint32_t *pulPage, int *piSlot);

/*
** ficdataFirstDataSlot
**   The first slot that may hold a data record on the page of that object
**   page number: 4 on page 0, 1 on a non-zero multiple of 500, else 0.
*/
int ficdataFirstDataSlot(int64_t llObjectPage);

/*
** ficdataRecordInPage
**   Checks that the record at ilOffset holds its 8-byte header inside the
**   page; for a format-1 record (kind 0 or 4) also that its stored length
**   is at least 8 and ends inside the page.  *pilLength gets the bytes the
**   record may use: its stored length (format 1), else the rest of the page.
**   Returns 0, FICDATA_RC_CORRUPT (offset outside the page, stored length
**   below 8) or FICDATA_RC_TRUNCATED (header or stored length past the end).
*/
int ficdataRecordInPage(const unsigned char *pcPage, int32_t ilPageSize, int32_t ilOffset,
                        int32_t *pilLength);

/* ----------------------------------------------------- descriptions */

/*
** ficdataInRecordSize
**   In-record size of a column of that stored type and descriptor length:
**   DECIMAL precision / 2 + 1; SMALLINT 2, INTEGER 4, DATE 4, TIME 3,
**   TIMESTAMP 10; variable types 4; any other type its descriptor length.
*/
int32_t ficdataInRecordSize(int16_t sType, int16_t sLength);

/*
** _ficdataReadTableDescriptorRecord
**   Builds *pdesc from the table descriptor record at ilOffset of the page
**   (pficdata may be NULL: it only names the reader in traces).  Allocates
**   the column array (the previous one is not freed) and fills column
**   count, fixed-part length, long-field and LOB flags; every used-by-output
**   flag is 0.
**   Returns 0; FICDATA_RC_CORRUPT or FICDATA_RC_TRUNCATED for a record or
**   column entry outside the page, a negative count, length or offset, a
**   column whose bytes end past FICDATA_MAX_ROW; ORC_NOMEM.  On failure
**   *pdesc is left as it was.
*/
int _ficdataReadTableDescriptorRecord(ficdata *pficdata, const unsigned char *pcPage,
                                      int32_t ilPageSize, int32_t ilOffset,
                                      ficdataTableDesc *pdesc);

/*
** ficdataSizeEnreg
**   The table's largest unload record: 32677 bytes plus 32700 for each
**   column of type 260, 264, 265, 514 or 515.
*/
int32_t ficdataSizeEnreg(const ficdataTableDesc *pdesc);

/*
** _ficdataIsVariableColumn
**   For column iColumn of the description: returns 1 for a variable column
**   (*psSize = its descriptor length), else 0 (*psSize = its in-record size,
**   unchanged for an unknown type code); *pboNullable = flags bit 0.
**   Returns -1 for a column number outside the description.
*/
int _ficdataIsVariableColumn(const ficdataTableDesc *pdesc, int iColumn, int32_t *psSize,
                             int *pboNullable);

/*
** _ficdataGetDefault
**   The default bytes a compressed record's special value 128 stands for:
**   zeros, or 00 01 01 01 for DATE, 00 01 01 01 00 00 00 00 00 00 for
**   TIMESTAMP; NULL for CHAR and GRAPHIC (the caller writes blanks of
**   *psSize bytes) and for unknown codes.  *psSize as ficdataInRecordSize
**   (4 for a variable column); *pboNullable = flags bit 0.
*/
const unsigned char *_ficdataGetDefault(const ficdataTableDesc *pdesc, int iColumn, int32_t *psSize,
                                        int *pboNullable);

/* ---------------------------------------------------------- records */

/*
** ficdataExpandRecord
**   Expands the value-compressed record pcRecord (ilRecordSize bytes
**   available) into a format-1 unload record in pcBuffer (ilBufferSize
**   bytes): fixed part from offset 8 in column order, variable data from
**   fixed-part offset ilFixedLength on.  Bytes 0-3 and 5 are zero; bytes
**   the record leaves unset (a NULL column, the gap before the variable
**   data) are zero.  *pilLength = 8 + end of the variable data.
**   Returns 0; FICDATA_RC_TRUNCATED when the entries or values run past the
**   record; FICDATA_RC_CORRUPT for more entries than columns, an entry
**   below the one before, a special value other than 1 (NULL, nullable
**   column) or 128, or a row that would not fit the buffer.
*/
int ficdataExpandRecord(const ficdataTableDesc *pdesc, int32_t ilFixedLength,
                        const unsigned char *pcRecord, int32_t ilRecordSize,
                        unsigned char *pcBuffer, int32_t ilBufferSize, int32_t *pilLength);

/*
** _ficdataExpandCompressedRecord
**   ficdataExpandRecord with the description's own fixed-part length.
*/
int _ficdataExpandCompressedRecord(const ficdataTableDesc *pdesc, const unsigned char *pcRecord,
                                   int32_t ilRecordSize, unsigned char *pcBuffer,
                                   int32_t ilBufferSize, int32_t *pilLength);

/*
** ficdataCheckRow
**   Checks a format-1 unload record of ilLength bytes against the
**   description: fixed-part length inside the row, every column present in
**   the record inside the row, and every non-NULL variable column's data
**   inside the row.  Returns 0 or FICDATA_RC_CORRUPT.
*/
int ficdataCheckRow(const ficdataTableDesc *pdesc, const unsigned char *pcRecord, int32_t ilLength);

/*
** A description's per-row check made ready once, for the readers that check
** every row of a page or a table with one description: where every column
** is present and fits, only the variable columns' data remain to be checked.
*/
#define FICDATA_CHECK_VARIABLES 32
#define FICDATA_EXPAND_COLUMNS 128
struct ficdataRowCheck {
  const ficdataTableDesc *pdesc;
  int32_t ilAllPresent;   /* a fixed part of at least this length holds every column (INT32_MAX: never) */
  int32_t ilAllFit;       /* a row of at least this many bytes holds every column's bytes */
  int32_t iVariables;     /* variable columns, -1 when more than FICDATA_CHECK_VARIABLES */
  struct {
    int16_t sOffset;      /* offset of the column's data offset and length in the row */
    int16_t sNullOffset;  /* its null byte, -1 when not nullable */
    int16_t sColumn;      /* for traces */
  } avar[FICDATA_CHECK_VARIABLES];
  int32_t iExpandColumns; /* columns of acol, -1 when more than FICDATA_EXPAND_COLUMNS */
  struct {
    int16_t sSize;        /* in-record size (ficdataInRecordSize; -1 for none) */
    unsigned char ucVariable;   /* 1: the bytes are the data offset and length */
    unsigned char ucNullable;   /* 1: a null byte follows */
  } acol[FICDATA_EXPAND_COLUMNS];
};

/*
** ficdataRowCheckPrepare
**   Makes *pcheck ready for ficdataCheckRowPrepared with the description
**   pdesc, which must outlive it and not change while it is used.
*/
void ficdataRowCheckPrepare(const ficdataTableDesc *pdesc, ficdataRowCheck *pcheck);

/*
** ficdataExpandPrepared
**   _ficdataExpandCompressedRecord with the description of pcheck: the same
**   result for every record.
*/
int ficdataExpandPrepared(const ficdataRowCheck *pcheck, const unsigned char *pcRecord, int32_t ilRecordSize,
                          unsigned char *pcBuffer, int32_t ilBufferSize, int32_t *pilLength);

/*
** ficdataCheckRowPrepared
**   ficdataCheckRow with the description of pcheck: the same result for
**   every record.
*/
int ficdataCheckRowPrepared(const ficdataRowCheck *pcheck, const unsigned char *pcRecord, int32_t ilLength);

/*
** ficdataSampleKeep
**   The SKIP/INTERVAL sampler over a counter and the last kept number: with
**   sampling off returns 1; otherwise record c = *pilCounter is kept when
**   c >= SKIP and (c == SKIP or c - last kept >= INTERVAL), and becomes the
**   last kept.  The counter advances either way.  Returns 1 keep, 0 skip.
*/
int ficdataSampleKeep(int32_t iOn, int32_t ilSkip, int32_t ilInterval, int32_t *pilCounter,
                      int32_t *pilLastKept);

/*
** _ficdataRecordConcerned
**   The sampler over the reader state's sampling block (none: keep all).
**   Returns 1 keep, 0 skip.
*/
int _ficdataRecordConcerned(ficdata *pficdata);

/*
** ficdataGetLBFileName
**   The LOB file name for LOB number ilNumber: the LOB directory and '/'
**   when there is one, then the LOBFILE template with "_<partition>_<number>"
**   before its extension.  Writes it NUL-terminated into pcTarget of
**   ilTargetSize bytes; *pilLength excludes the NUL.
**   Returns 0, ORC_INVALID without a template, FICDATA_RC_CORRUPT when the
**   name does not fit the target, ORC_NOMEM.
*/
int ficdataGetLBFileName(ficdata *pficdata, int32_t ilNumber, char *pcTarget, int32_t ilTargetSize,
                         int32_t *pilLength);

/*
** ficdataLobFileNumber
**   The number of the LOB file of a LOB whose first slot is ilFirst: that
**   slot, or for a LOB without one (-1) a number of its own, counted down
**   from INT32_MAX.  The LOB child (storage/ficlvar.h), which alone names
**   LOB files and tells the record reader the name, asks for a number of
**   its own also for an empty LOB and for a slot already taken, so that no
**   two LOBs of a reader share a file.  Returns the number.
*/
int32_t ficdataLobFileNumber(ficdata *pficdata, int32_t ilFirst);

/*
** _ficdataReadDB2DataRecord
**   Decodes the record at ilOffset of the page (kind 0 or 4) into the
**   record buffer (ilBufferSize bytes, at least ficdataSizeEnreg) as an
**   unload record: expands a format-2 record or copies a format-1 one
**   (any other format is damage), tests the WHERE tree of
**   every open pair (kept only when each gives 1), and when the table has
**   long-field or LOB columns appends the data of every used, present,
**   non-NULL such column through the long-data children (pinfolong) and
**   patches its descriptor; byte 5 gets FICDATA_UREC_CUT when a LOB was
**   cut to FICDATA_MAX_LONGDATA bytes, else 0.  *pilLength = the unload
**   record's length.
**   Returns 0 kept; 1 dropped; FICDATA_RC_TRUNCATED or FICDATA_RC_CORRUPT
**   for a damaged record (nothing sent); FICDATA_RC_PIPE when a child's
**   answer did not arrive whole (the pipes are then out of step: stop).
*/
int _ficdataReadDB2DataRecord(ficdata *pficdata, const unsigned char *pcPage, int32_t ilPageSize,
                              int32_t ilOffset, const ficdataTableDesc *pdesc,
                              const ficdataInfoLong *pinfolong, ficdataPair *apair,
                              int32_t iPairCount, unsigned char *pcBuffer, int32_t ilBufferSize,
                              int32_t *pilLength);

/* ---------------------------------------------------- reader state */

/*
** ficdataCreate
**   A reader state with two page buffers of ilPageSize bytes.  With a task,
**   reads SKIP and INTERVAL (default 0), MAXROWS (default -1) into the
**   sampling block (sampling on when SKIP or INTERVAL is above 0), the LOB
**   directory (the first LOB IN entry whose partition set holds ilPart) and
**   the LOBFILE template (first item of the list), both borrowed from the
**   task tree.  The page-mapping configuration is left NULL for the caller.
**   Returns the state, or NULL when memory runs out or the page size is
**   not a DB2 page size.
*/
ficdata *ficdataCreate(int32_t ilPageSize, int32_t ilPart, zortask *ptask, int32_t iLongFlags);

/* ficdataDestroy: frees both page buffers, the sampling block and the state; NULL accepted. */
void ficdataDestroy(ficdata *pficdata);

/*
** ficdataInitInfoTable
**   Fills *pinfo: table-space and table id, partition number, remote flag
**   and page size of the partition record, start offset high << 32 | low;
**   no long block, pages 0.  Returns 0, or ORC_INVALID without a record.
*/
int ficdataInitInfoTable(const ficcont *pficcont, int32_t ilTableId, int32_t ilTbsId, uint32_t ulOffsetLow,
                         uint32_t ulOffsetHigh, ficdataInfoTable *pinfo);

/* ficdataInitInfoTableBackup: the same from explicit values (pUnused is not read); the page
** expected is not known (-1) until the caller sets it.  Returns 0. */
int ficdataInitInfoTableBackup(void *pUnused, int32_t ilTbsId, int32_t ilTableId, int32_t ilRemote,
                               int32_t ilPart, int32_t ilPageSize, uint32_t ulOffsetLow, uint32_t ulOffsetHigh,
                               ficdataInfoTable *pinfo);

/* ficdataInitInfoLong: stores the four pipe ends in *pinfolong (pficdata is not read).  Returns 0. */
int ficdataInitInfoLong(ficdata *pficdata, int iLFRequest, int iLFAnswer, int iLOBRequest, int iLOBAnswer,
                        ficdataInfoLong *pinfolong);

/*
** ficdataGetEnreg
**   Reads the table's first page (pinfo's logical page, mapped with pfnMap
**   over pficdata->pConf when given, else page in container 0) into page
**   buffer iBuffer and builds *pdesc from the record in slot iSlot.  When
**   boSkipHeader is 0 and the object page is 0, *pilPages gets the data
**   object's page count (slot 0) and *ptdir the table directory values
**   (slot 2; either output may be NULL).  A pointer record in the slot is
**   followed (at most FICDATA_MAX_POINTERS times) into the other buffer;
**   pinfo's logical page and object page then describe the page it led to.
**   piFd: container descriptors (daemon handles when remote).
**   Returns 1 when the description was built; 0 after a trace when a page
**   could not be read (and ZORU347E), the slot holds no usable descriptor,
**   or the pointers do not end.
*/
#define FICDATA_MAX_POINTERS 16
int ficdataGetEnreg(ficdata *pficdata, const int *piFd, void *pUnused, int iSlot, ficdataInfoTable *pinfo,
                    ficdataTableDesc *pdesc, int32_t *pilPages, ficdataTableDir *ptdir, int boSkipHeader,
                    int iBuffer, ficdataMapPage pfnMap);

/*
** ficdataDecodeRecord
**   The row of the record at ilOffset of a data page, as ficdataGetDB2Enregs
**   sends it before WHERE and long data: a copied record (format 1, its
**   flags byte cleared) or a value-compressed one expanded
**   (ficdataExpandPrepared) into pcBuffer, then checked
**   (ficdataCheckRowPrepared); *pilLength its length.  Says nothing but
**   traces.  Returns 0; ficdataRecordInPage's code; FICDATA_RC_CORRUPT for
**   another format, a row that does not fit the buffer or fails its check;
**   the expansion's code.
*/
int ficdataDecodeRecord(const ficdataRowCheck *pcheck, const unsigned char *pcPage, int32_t ilPageSize,
                        int32_t ilOffset, unsigned char *pcBuffer, int32_t ilBufferSize, int32_t *pilLength);

/*
** ficdataWritePairs
**   Writes a kept record (slot iSlot of object page llObjectPage, for the
**   message) to every pair whose channel is set; a pair whose write answers
**   0x1a9001 gets its channel cleared.  Returns 1 while some pair took it;
**   0 when none is left, or when a channel refused it (ZORU452E,
**   pficdata->ilReadCode = FICDATA_RC_REFUSED when not yet set).
*/
int ficdataWritePairs(ficdata *pficdata, ficdataPair *apair, int32_t iPairCount, const unsigned char *pcRecord,
                      int32_t ilLength, int64_t llObjectPage, int iSlot);

/*
** ficdataGetDB2Enregs
**   Reads pinfo's physical page from descriptor iFd (the caller has mapped
**   it) through the read-ahead windows, or into page buffer iBuffer when
**   the descriptor is remote or cannot be read ahead, and sends its kept
**   records: from
**   the page's first data slot, each record of kind 0 or 4 that the
**   sampler keeps is decoded into pcBuffer (ilBufferSize bytes, at least
**   ficdataSizeEnreg) and written to every pair whose channel is set; a
**   pair whose write answers 0x1a9001 gets its channel cleared.  The page
**   must be object page pinfo->llExpectedPage (ficdataCheckPage); the
**   descriptor a pointer record of object page 0 names (pinfo's logical
**   page and slot, noted when page 0 is read) is no row.  A damaged page,
**   record, slot or slot directory is skipped and counted in
**   pficdata->llDamaged with ZORU433W, ZORU454W or ZORU451W.
**   pslots is the caller's scratch.
**   Returns 1 to go on; 0 when no pair takes records any more, when a long-
**   data child's answer broke (pipes out of step), when the page could
**   not be read whole (ZORU347E, pficdata->ilReadCode = FICDATA_RC_READ), or
**   when a channel refused a record (ZORU452E, pficdata->ilReadCode =
**   FICDATA_RC_REFUSED).
*/
int ficdataGetDB2Enregs(ficdata *pficdata, int iFd, const ficdataInfoLong *pinfolong, ficdataInfoTable *pinfo,
                        const ficdataTableDesc *pdesc, ficdataSlots *pslots, int iBuffer, unsigned char *pcBuffer,
                        int32_t ilBufferSize, ficdataPair *apair, int32_t iPairCount);

/*
** ficdataSkipDamaged
**   The one policy of every reader for damaged data: the record (or, with
**   iSlot -1, the slot directory) is skipped, named in a message (ZORU454W
**   for a record or slot, ZORU451W for a slot directory: table pcTable,
**   object page llPage, slot iSlot, reason iReason) and counted in
**   *pllCount; reading goes on, and the SELECT ends with the count.
*/
void ficdataSkipDamaged(const char *pcTable, int64_t *pllCount, int64_t llPage, int iSlot, int iReason);

#endif
