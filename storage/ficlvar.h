/*
** ficlvar.h
**   Long-field and LOB child processes of the first-generation record
**   reader.  The record reader (parent) forks one long-field child and one
**   LOB child per partition and asks them over two pipes for each long
**   value it meets; a child reads the value from the table's ".LF" / ".LB"
**   files (SMS) or its long-field / LOB object (DMS), locally or through
**   the daemon, and answers.
**
**   PIPE PROTOCOL (native-endian 4-byte integers)
**     LF request    parent -> child   i32 length L, i32 position P (512-byte units)
**     LF answer     child -> parent   exactly L bytes
**     LOB request   parent -> child   i32 n, then the n-byte LOB descriptor (zorts.h)
**     LOB answer    child -> parent   chunks (i32 c, c bytes, c <= page size) until
**                                     min(LOB length, 32700) bytes; with a
**                                     LOBFILE template instead i32 t, then t bytes
**                                     (t <= FICDATA_LOB_TEXT_MAX): the text the
**                                     row holds, the LOB file's name or the
**                                     location specifier "name.offset.length/"
**                                     (LLS 1), sent before the child writes the
**                                     LOB into its file itself
**     stop          parent -> child   two i32 -1
**
**   Process states: ficlvarLaunchChild* creates both pipes and forks; the
**   child closes the request write end and the answer read end, serves
**   requests until a negative length or the end of the request pipe, frees
**   its copy of the descriptor and exits with status 0, or with
**   FICLVAR_EXIT_FAILED when a value could not be served whole.  The
**   parent keeps the request write end and the answer read end until
**   ficlvarKillChild, which sends the stop words, closes them and waits for
**   the child; the parent's read fails unless the child exited with 0.  One
**   request is outstanding at a time.  The parent never frees its
**   descriptor.
**
**   LOB child and MAXROWS: with a LOBFILE template every LOB asked for gets
**   its file (the row naming it has been written); the writer applies
**   MAXROWS to the rows.
**
**   LOB files: the LOB child alone names them.  Without location specifiers
**   every LOB has a file of its own (an empty LOB too), numbered after its
**   first slot, or, when it has none, is empty or its number is taken, by a
**   number counted down from INT32_MAX (ficdataLobFileNumber).  With LLS 1
**   the LOBs follow one another in the files of one LOB-file writer
**   (io/zor3write.h: "<dir>/<name>_<ppp>.<sss>", a new file before 2 GB).
**
**   Failures: a long-data read that fails leaves the rest of the answer as
**   zero bytes, so the pipes stay in step; a child that cannot set up its
**   reading (page size, partition record, object table) answers every
**   request with zeros.  Every value not served whole -- a page that
**   cannot be read, a descriptor or position refused, a LOB file that
**   cannot be created or written whole -- is counted; the first is
**   reported (ZORU455E naming the LOB file, else ZORU456E, both with the
**   table) and makes the child's exit status FICLVAR_EXIT_FAILED.  After
**   the first failure a LOB child writes no more LOB files (the requests
**   are still read whole and answered).  ficlvarKillChild ignores SIGPIPE while it writes
**   the stop words, so a child that has already ended does not end the
**   reader.
*/
#ifndef ZAV_STORAGE_FICLVAR_H
#define ZAV_STORAGE_FICLVAR_H

#include <cstdint>
#include <sys/types.h>

struct ficcont;
struct ficdata;
struct zorbk;
struct ficlvar;

/* Table information of the long table space handed to a child. */
struct ficlvarTableInfo {
  int32_t ilTbsId;       /* table-space id */
  int32_t ilTableId;     /* SMS file id / DMS object id of the table */
  int32_t ilPageSize;    /* bytes */
  int64_t llOffset;      /* start of the page area (0: containers; an image: its offset) */
};

/* Exit status of a child that could not serve a value whole. */
#define FICLVAR_EXIT_FAILED 1

/*
** Child main: serves the requests of the descriptor's pipes.  Returns 0,
** or the reason code of the first value not served whole (the child then
** exits with FICLVAR_EXIT_FAILED).
*/
typedef int (*ficlvarMainProc)(ficlvar *pficlvar);

/* Child descriptor. */
struct ficlvar {
  ficdata *pficdata;          /* reader state (borrowed; the child's copy after fork) */
  int *piFd;                  /* container descriptors (SMS: .LF/.LB file per container;
                                 DMS: the containers; remote: daemon connections); borrowed */
  int *piRequest;             /* request pipe pair [read, write] (the caller's array) */
  int *piAnswer;              /* answer pipe pair [read, write] (the caller's array) */
  ficlvarTableInfo info;      /* table information (copied) */
  ficcont *pficcont;          /* partition record of the long table space (borrowed) */
  ficlvarMainProc pfnMain;    /* child main */
  zorbk *pzorbk;              /* image of the backup child mains, else NULL */
};

/*
** ficlvarCreate
**   A new descriptor.  piRequest and piAnswer are the caller's int[2]
**   arrays that the launch fills with the pipes.  Returns the descriptor,
**   or NULL when memory runs out.
*/
ficlvar *ficlvarCreate(ficdata *pficdata, int *piFd, int *piRequest, int *piAnswer,
                       const ficlvarTableInfo *pinfo, ficcont *pficcont, ficlvarMainProc pfnMain);

/* ficlvarDestroy: frees the descriptor (not what it borrows).  NULL accepted. */
void ficlvarDestroy(ficlvar *pficlvar);

/*
** ficlvarLaunchChildSMS / ficlvarLaunchChildDMS
**   Create the request and answer pipes, fork, and run the descriptor's
**   main in the child.  Return the child's pid to the parent, or -1 when a
**   pipe or the fork fails (no pipe left open).
*/
pid_t ficlvarLaunchChildSMS(ficlvar *pficlvar);
pid_t ficlvarLaunchChildDMS(ficlvar *pficlvar);

/*
** ficlvarKillChild
**   Sends the stop words, closes the parent's ends and waits for the
**   child.  Returns the child's wait status, or -1 when waitpid fails.
*/
int ficlvarKillChild(pid_t pid, int *piRequest, int *piAnswer);

/* Child mains over the containers (chosen by the partition read driver). */
int ficlvarLFReadSMS(ficlvar *pficlvar);
int ficlvarLOBReadSMS(ficlvar *pficlvar);
int ficlvarLFReadDMS(ficlvar *pficlvar);
int ficlvarLOBReadDMS(ficlvar *pficlvar);

/*
** Child mains over a backup image (pficlvar->pzorbk; no reader chooses
** them).  The SMS ones answer from the table's long-field and LOB objects
** of the image (LF: from its first long-field object plus P x 512; LOB:
** the table's LOB objects one per request, in image order, at most 32700
** bytes).  The DMS ones read the object table and the extent list from the
** image at the start offset, but cannot answer: they close the answer pipe
** at once (the parent sees the end of the pipe instead of waiting) and
** read requests until the stop words.
*/
int ficlvarLFReadBackupSMS(ficlvar *pficlvar);
int ficlvarLOBReadBackupSMS(ficlvar *pficlvar);
int ficlvarLFReadBackupDMS(ficlvar *pficlvar);
int ficlvarLOBReadBackupDMS(ficlvar *pficlvar);

#endif
