/*
** tools.h
**   Small services shared by the driver, the DB2 utility layer, the network
**   code and the readers and writers of the run step: case mapping and
**   trimming of C strings, digit tests, packed decimal and packed time bytes
**   as text, output-file names numbered by partition and sequence, and the
**   opening, creation and sizing of files with one uniform error report
**   (ZORU347E and a reason code 0x114A000 | errno).
**
**   No state.  The string operations never allocate: destination buffers
**   belong to the caller.  toolsSizeFile and toolsOpenFile exchange the real
**   and effective user ids of the whole process for the duration of the
**   system call (DB2's files are read as the instance user, the real
**   identity of a local run); no other thread may rely on the identities
**   while they run.
*/
#ifndef ZAV_MODEL_TOOLS_H
#define ZAV_MODEL_TOOLS_H

#include <cstdint>
#include <cstdio>
#include <sys/types.h>

/*
** toolsDieWithParent
**   For a process of the unload tree, first thing after its fork: the
**   process is killed (SIGKILL) when the process that forked it, pidParent,
**   ends, so that no unload process runs on unsupervised after its parent
**   was killed.  When the parent has already gone the calling process is
**   killed at once.
*/
void toolsDieWithParent(pid_t pidParent);

/* Reason code of a failed file operation: TOOLS_RC_IO | errno. */
#define TOOLS_RC_IO 0x114A000   /* | errno: a file could not be opened, written or closed (ZORU347E) */

/* Longest name toolsFormatFilename accepts, in bytes. */
#define TOOLS_FILENAME_MAX 127

/*
** toolsToupperStr
**   Upper-cases the iLength bytes of pcSource into pcDest under the current
**   locale: one-byte characters through the locale's mapping, multibyte
**   characters copied unchanged.  At the first invalid sequence or NUL the
**   rest of the length is copied unchanged and conversion stops.
**   Returns the position in pcDest just past the last character converted.
*/
char *toolsToupperStr(char *pcDest, const char *pcSource, int iLength);

/* toolsTolowerStr: maps each of the iLength bytes through the locale's
** lower-case mapping.  Returns pcDest. */
char *toolsTolowerStr(char *pcDest, const char *pcSource, int iLength);

/*
** toolsRightTrimStr, toolsLeftTrimStr, toolsAllTrimStr
**   Copy the NUL-terminated source without its trailing, leading, or both
**   kinds of blanks (0x20) and terminate it; pcDest may be pcSource.
**   Return pcDest.
*/
char *toolsRightTrimStr(char *pcDest, const char *pcSource);
char *toolsLeftTrimStr(char *pcDest, const char *pcSource);
char *toolsAllTrimStr(char *pcDest, const char *pcSource);

/* toolsIsdigitStr: 1 when every one of the iLength bytes is a decimal digit
** (1 for a length of 0 or less), else 0. */
int toolsIsdigitStr(const char *pcText, int iLength);

/* toolsFormatStatement: in place, every newline becomes a blank and the text
** ends at its first ';'.  Returns pcText. */
char *toolsFormatStatement(char *pcText);

/*
** toolsStrToDecimalArea
**   Writes the packed decimal of precision iPrecision and scale iScale as
**   iPrecision + 2 characters, not NUL-terminated: the sign ('-' for sign
**   nibbles 0xB and 0xD, '+' for any other), the integer digits, '.', and
**   the fraction digits ("+12345." for scale 0).
*/
void toolsStrToDecimalArea(const unsigned char *pucPacked, int iPrecision, int iScale, char *pcOutput);

/* toolsStrToTimeArea: writes 2 * iCount characters, not NUL-terminated: the
** high then the low nibble of each byte as '0' + nibble. */
void toolsStrToTimeArea(const unsigned char *pucBytes, int iCount, char *pcOutput);

/*
** toolsSizeFile
**   Size of the file pcPath, following symbolic links; a block device is
**   sized by seeking to its end.  Identities exchanged for the call.
**   Returns the size, or -1 after ZORU347E with *piRc = 0x114A000 | errno
**   (*piRc = 0 on success).
*/
int64_t toolsSizeFile(const char *pcPath, int *piRc);

/*
** toolsOpenFile
**   Opens pcPath read-only and non-blocking with the identities exchanged.
**   Returns the descriptor, or -1 with *piRc = 0x114A000 | errno (ZORU347E
**   only when boReport is set).
*/
int toolsOpenFile(const char *pcPath, int *piRc, int boReport);

/*
** toolsAppendFile, toolsCreateFile
**   Open for appending (created when absent) or create/truncate, mode 0644,
**   under the current identities.  Return the descriptor, or -1 after
**   ZORU347E with *piRc = 0x114A000 | errno.
*/
int toolsAppendFile(const char *pcPath, int *piRc);
int toolsCreateFile(const char *pcPath, int *piRc);

/*
** toolsOpenBFile, toolsAppendBFile, toolsCreateBFile
**   fopen with mode "r", "a" and "w".  Return the stream, or NULL after
**   ZORU347E with *piRc = 0x114A000 | errno.
*/
FILE *toolsOpenBFile(const char *pcPath, int *piRc);
FILE *toolsAppendBFile(const char *pcPath, int *piRc);
FILE *toolsCreateBFile(const char *pcPath, int *piRc);

/*
** toolsReadInPipe
**   Reads until iSize bytes have arrived.  Returns iSize; or 0 (end of file)
**   or -1 (error) when a read returns that first, the bytes already read
**   being left in the buffer.
*/
int toolsReadInPipe(int iFd, void *pBuffer, int iSize);

/*
** toolsFormatFilename
**   Builds an output-file name from the first iLength bytes of pcName: the
**   name without its extension, "_<partition>" when iPartition >= 0, the
**   sequence part when iSequence >= 0 (".%3.3d" with boReplace set, which
**   also drops the extension, else "_<sequence>"), then "." and the old
**   extension when kept.  The extension is what follows the last '.' of the
**   last path component; a '.' in a directory part is not an extension.
**   Returns a new text the caller frees, or NULL (after ZORU347E) for a name
**   longer than TOOLS_FILENAME_MAX bytes, or when memory runs out.
*/
char *toolsFormatFilename(const char *pcName, int iLength, int iPartition, int iSequence, int boReplace);

/* toolsGetHostName: the short host name (cut at its first '.') into pcBuffer
** of iSize bytes.  Returns 0, or -1 when gethostname fails. */
int toolsGetHostName(char *pcBuffer, int iSize);

/*
** toolsIsLocalHost
**   True (1) when pcHost names this host: its full or short name (any
**   case), or a name or address that resolves to an address of one of its
**   interfaces (127.0.0.1 among them); an empty name is this host too.
**   Returns 1 or 0.
*/
int toolsIsLocalHost(const char *pcHost);

/* toolsGetError: the system's text for the current errno. */
const char *toolsGetError(void);

#endif
