/*
** orscs.h
**   The resource file: a big-endian file (or memory image) laid over a paged
**   data object (olds).  It holds a file header, a chain of blocks, the
**   dictionaries that name blocks, and the "__system" dictionary that keeps
**   the descriptors of the user types stored in the file.  The typed
**   resources (ores.h) are stored in its blocks.  One handle, one thread;
**   the file is not locked against other processes.
**
**   File header, at rba 0 (all integers unsigned 32-bit big-endian; an rba
**   is a byte offset from the start of the file, 0 = none):
**     OFFSET SIZE FIELD         CONTENT
**        0     4  rbaEOF        end of the used part; the next block goes here
**        4     4  rbaLastBlk    last block of the chain
**        8     4  ulNbOfRes     number of blocks in the chain
**       12     4  rbaMainDict   first block: the main dictionary (24)
**       16     4  ulEyeCatcher  0x4F4E4F4E ("ONON")
**       20     4  ulVersion     0x00010000
**
**   Block header, 24 bytes at the block's rba, then the content:
**        0     4  rbaNextBlock  next block in file order, 0 for the last
**        4     4  rbaPrevBlock  previous block, 0 for the first
**        8     4  rbaOwner      dictionary block owning this block
**       12     4  ulBlockSize   used size, header included
**       16     4  resType       type code of the content (0x200000 dictionary)
**       20     4  ulData        flags: CCSID bits 0-15, float mode bits 16-17
**   A block's room runs to rbaNextBlock (the last block: ulBlockSize); the
**   bytes past ulBlockSize are free space the block may grow into.
**
**   Dictionary block content:
**       24     4  rbaSuite          next block of the same dictionary, or 0
**       28     4  ulNbTotalEntry    entries of the whole dictionary (first block)
**       32     4  ulNbEntry         entries in this block
**       36     4  ulOffsetFreeSpace informational
**       40   ...  entries: u32 rba of the named block (0 = none), u8 name
**                 length n, n bytes of name in the dictionary's CCSID
**
**   Reason codes of the resource file (module 9):
**     0x98005 not a resource file (eye-catcher) and not empty: not formatted
**     0x98006 rbaEOF lies before rbaMainDict
**     0x98008 a stored type descriptor cannot be read
**     0x98009 release of block rba 0
**     0x9800A the file could not be read or written (I/O error, disk full)
**     0x9800B a position beyond the file's size limit
**     0x90002 the "__system" dictionary cannot be created
*/
#ifndef ZAV_COMMON_ORSCS_H
#define ZAV_COMMON_ORSCS_H

#include <cstdint>
#include <cstdio>

struct olds;
struct olist;
struct odict;
struct ostrdict;
struct ores;

#define ORSCS_EYECATCHER  0x4F4E4F4Eu
#define ORSCS_VERSION     0x00010000u
#define ORSCS_HEADER_SIZE 24u
#define ORSCS_BLKHDR_SIZE 24u
#define ORSCS_DICTHDR_END 40u           /* entries start here in a dictionary block */
#define ORSCS_DICT_TYPE   0x200000
#define ORSCS_ARRAY_TYPE  0x300000
#define ORSCS_MODE_SMALL  0x40000000u   /* 32 KB windows, 16 MB offset limit */
#define ORSCS_SYSTEM_NAME "__system"

#define ORSCS_RC_NOTRSC    0x98005
#define ORSCS_RC_BADEOF    0x98006
#define ORSCS_RC_BADTD     0x98008
#define ORSCS_RC_RBA0      0x98009
#define ORSCS_RC_IO        0x9800A
#define ORSCS_RC_RANGE     0x9800B
#define ORSCS_RC_NOSYSTEM  0x90002   /* the "__system" dictionary of a resource file cannot be created */

/* File header, host byte order. */
struct orscsHeader {
  uint32_t rbaEOF;
  uint32_t rbaLastBlk;
  uint32_t ulNbOfRes;
  uint32_t rbaMainDict;
  uint32_t ulEyeCatcher;
  uint32_t ulVersion;
};

/* Block header, host byte order. */
struct orscsBlockHeader {
  uint32_t rbaNextBlock;
  uint32_t rbaPrevBlock;
  uint32_t rbaOwner;
  uint32_t ulBlockSize;
  uint32_t resType;
  uint32_t ulData;
};

struct orscs;

/* Entry of a loaded dictionary (olist item: link first). */
struct oresdictEntry {
  oresdictEntry *pNext;
  uint32_t rba;          /* named block, 0 = none */
  uint32_t rbaEntry;     /* where the entry lies in the file */
};

/* Block of a loaded dictionary (olist item: link first). */
struct oresdictBlock {
  oresdictBlock *pNext;
  uint32_t rba;
  uint32_t rbaFree;      /* first free byte */
  uint32_t ulFree;       /* free bytes from rbaFree */
};

/* A loaded dictionary, shared per file and rba by reference count. */
struct oresdict {
  uint32_t rba;
  uint32_t resType;
  orscs *prscs;
  oresdict *pParent;
  uint32_t ulFlags;           /* ulData of the first block; CCSID of the names */
  olist *plistEntries;        /* of oresdictEntry */
  ostrdict *pstrdictNames;    /* name (CCSID 850) -> oresdictEntry */
  olist *plistBlocks;         /* of oresdictBlock, chain order */
  int iModified;
  int iRefCount;
};

/* Handle of an open resource file. */
struct orscs {
  const char *pcPath;         /* by reference */
  olds *plds;
  orscsHeader *pheader;       /* image of the file header, host order */
  oresdict *pdictMain;
  oresdict *pdictSystem;
  odict *pdictUserTypes;      /* type code -> copy of its descriptor */
  olist *plistDicts;          /* reference list of loaded dictionaries */
};

/* In-memory descriptor of a reserved array block. */
struct orscsArray {
  uint32_t rba;
  uint32_t resType;
  oresdict *pParent;
  uint32_t ulFlags;
  uint32_t ulSlots;
  uint32_t *pulSlots;
  uint32_t ulExtra;
};

/*
** orscsCreate
**   Initialises the resource module and opens the resource file at pcPath.
**   ulMode: the paged type (2 file, 5 memory image), plus ORSCS_MODE_SMALL
**   for 32 KB windows and the 16 MB limit.  ulCount: the window limit
**   (0 = 20) for a file, the initial image size for type 5.  A file just
**   created, or empty, is formatted; an existing file that is not a resource
**   file is left alone and refused (traced with 0x98005 or 0x98006).
**   Returns the handle, or NULL.
*/
orscs *orscsCreate(const char *pcPath, uint32_t ulMode, uint32_t ulCount);

/*
** orscsCreateFromMem
**   Opens a malloc'ed memory image that already holds a resource file; the
**   handle owns the image.  An invalid image is refused, never formatted.
**   Returns the handle, or NULL.
*/
orscs *orscsCreateFromMem(void *pImage, uint32_t ulSize);

/*
** orscsDestroy
**   Stores the user-type descriptors, rewrites the modified dictionaries,
**   closes the paged object and frees the handle.  Returns 0, or 0x9800A
**   when something could not be written (the handle is freed all the same).
*/
int orscsDestroy(orscs *prscs);

/*
** orscsExportAndDestroy
**   As orscsDestroy for a memory image, but returns the image (the caller
**   owns it); *pulUsed receives rbaEOF and *pulSecond 0.  NULL when the
**   handle is not a memory image or the final writes failed.
*/
void *orscsExportAndDestroy(orscs *prscs, uint32_t *pulUsed, uint32_t *pulSecond);

/* orscsDump: prints the header and every block to pfile ("$RSCSD" when NULL). Returns 0. */
int orscsDump(orscs *prscs, FILE *pfile);

/*
** orscsWriteResHead
**   Writes a block header given in host order at rba.  Returns 0 or a
**   reason code (0x9800A, 0x9800B, 0x80001).
*/
int orscsWriteResHead(orscs *prscs, uint32_t rba, orscsBlockHeader *phdr);

/*
** orscsCreateArray
**   Reserves an array block (0x300000, 44 + 4n bytes, n 0 = 25) owned by
**   pdictParent and returns its descriptor (malloc'ed), or NULL.
*/
orscsArray *orscsCreateArray(orscs *prscs, oresdict *pdictParent, uint32_t ulN,
                             uint32_t ulFlags, uint32_t ulExtra);

/* orscsSetTrace: does nothing; returns 0. */
int orscsSetTrace(int iOn);

/*
** Block and dictionary operations of the typed resources.  Each returns a
** reason code unless said; rbas 0 mean failure where an rba is returned.
*/
/* Places a block at rbaEOF; returns its rba, or 0 with *prc set (prc may be NULL). */
uint32_t _rscsReserveNewBlock(orscs *prscs, orscsBlockHeader *phdr, int *prc);
int _rscsRemoveBlk(orscs *prscs, uint32_t rba);
int _rscsReadBlockHeader(orscs *prscs, uint32_t rba, orscsBlockHeader *phdr);
oresdict *_rscsLoadDict(orscs *prscs, uint32_t rba);
oresdict *_rscsCreateDict(orscs *prscs, oresdict *pdictParent, uint32_t ulN, uint32_t ulFlags);
/* Adds a name (CCSID 850) naming rba; returns 0 and the new entry in *ppentry,
   0x10002 for an empty name or one over 255 bytes, or the file's code. */
int _rscsAddDictKey(oresdict *pdict, const char *pcName, uint32_t ulLength,
                    uint32_t rba, oresdictEntry **ppentry);
int _rscsStoreDict(oresdict *pdict);
int _rscsRemoveDict(oresdict *pdict);
void _rscsRemoveDictRef(oresdict *pdict);
void _rscsFreeDict(oresdict *pdict);
int _rscsStoreUserType(orscs *prscs, int32_t iType, odict *pdictRegistry);
int _rscsStoreAllUserTypes(orscs *prscs);
/* Maps a result of the paged layer to a reason code (0 stays 0). */
int _rscsPagedRc(int iRc);

/* _resStore: writes a resource's block (placing or moving it). */
int _resStore(ores *pres);
/* _resLoad: the resource stored at rba, or NULL. */
ores *_resLoad(orscs *prscs, uint32_t rba);

#endif
