/*
** socket.h  (module zor3socket)
**   Both ends of the TCP conversation between db2zav and the network daemon
**   of a host (service "db2zavdm", protocol "tcp").  The client side tests
**   whether a host has a daemon, reads DB2's files on that host page by page
**   (exist, open, read, seek, close) and ships a request there (save the
**   control file, run db2zav, copy its message lines to sysprint).  The
**   service side is called by the daemon program, which is not part of this
**   system: vSOCKETdaemonInit, iSOCKETcreate, iSOCKETlisten, iSOCKETaccept,
**   then one iSOCKETdoService per accepted connection, each in a process of
**   its own (request 5 changes the serving process's identity for good).
**
**   Message layout (all integers big-endian, both directions):
**
**     OFFSET  SIZE  DESCRIPTION
**        0      4   total length of the message, header included (>= 12)
**        4      4   protocol version, always 212
**        8      4   request code (client -> daemon) or reply code
**       12  total-12 payload
**
**   Requests: 14 hello (instance NUL; answered in clear by 501, then TLS
**   begins), 1 acknowledge, 2 partition list (instance NUL), 3 save a
**   control file converted from UTF-8 (text NUL), 13 save it unchanged, 4
**   run db2zav with its output lines converted to UTF-8 (arguments NUL),
**   11 run with the lines unchanged, 5 become a user (name NUL), 6 does a
**   file exist (u32 block size, path NUL), 7 open a file (path NUL), 8 read
**   (u32 size, i32 block; answered by exactly size raw bytes without a
**   header), 9 close the file (ends the conversation), 10 set the file
**   position (i32 unit, i32 count, i32 offset), 12 ping, 999 end of the
**   conversation (the daemon ends at once).  Replies: 500 one text line (no
**   NUL), 501 done (4 and 11: i32 exit status of the run, 128 + the signal
**   when a signal ended it; 6: i32 status (0 readable, -1 no such file,
**   -2 any other failure), u32 blocks; 7: u32 size high, u32 size low; 9:
**   one word of no meaning), 502 the run goes on (sent every
**   SOCKET_BEAT_MS while a run of 4 or 11 lasts, no payload), 666
**   error ("ZOR0666F", a blank and the text, no NUL, the whole message at
**   most 512 bytes).
**
**   Handshake: the client sends 14 in clear.  The daemon checks the version
**   and the instance name, takes the identity of the instance user for
**   good (never root, never primary group 0; a daemon that is not root
**   serves only as its own user), then, as that user, checks that the peer
**   is on a loopback address or on a host of the instance's db2nodes.cfg
**   and reads the instance's key file; it answers 501 in clear, or 666 and
**   ends.  Both sides then run TLS 1.3 (OpenSSL) with the pre-shared key of
**   the instance (io/authkey.h) as an external PSK, identity "db2zavdm:"
**   and the instance name, with an (EC)DHE exchange, no certificate, no
**   session ticket and no early data: each side proves that it holds the
**   key, and every later byte of the conversation, the password of a run
**   among them, travels inside the TLS, so that injected, replayed or
**   altered traffic ends the conversation.  A handshake that fails ends
**   the conversation without a reply in clear.  Any other request than 14
**   first, or a message of another protocol version, is answered by an
**   error reply in clear that ends the conversation.  Every refusal is
**   reported on the daemon's side through ZOR0667E, with the control
**   characters of what the peer sent escaped (\xHH, and \\ for \).  The
**   client proves with the key of its instance (iSOCKETsetInstance, else
**   the DB2INSTANCE variable, else the configuration's db2instance).
**
**   What an authenticated peer may ask (io/dmguard.h): request 5 only
**   for the instance user; 2 only for the instance; 6 and 7 only for files
**   of the instance's databases, opened beneath them without following
**   links; 4 and 11 only with the options a shipped run needs, a password
**   being passed to the run in its environment (ZAV_PASSWORD), never on its
**   command line.  The run is the program itself, started without a shell,
**   as the instance user, in the conversation's private directory, with
**   nothing of the daemon's open beyond its standard input (/dev/null),
**   output and error (its message file).
**
**   Time limits: the configuration's daemontimeout T (30 s by default)
**   bounds, on both sides, the handshake as a whole (from the connection to
**   the end of TLS), each message as a whole (from the moment it is awaited
**   to its last byte, so a peer that trickles bytes is dropped as one that
**   sends nothing), the data of a read and each send; the client's connect
**   too.  A daemon's peer that misses a limit gets the error reply "Peer
**   stalled: no complete message within the time limit"; a client that
**   waits in vain fails with "No answer within T seconds".  A peer that
**   closes the connection ends the conversation at once.
**
**   Limits, checked on both sides before anything is allocated or sent: a
**   message with a header is at most SOCKET_MAX_MESSAGE bytes; a read asks
**   for at most SOCKET_MAX_READ bytes; an argument string, a user name and a
**   path are at most SOCKET_MAX_TEXT bytes (SOCKET_MAX_PATH6 for the path of
**   request 6).
**
**   Error texts: every client operation takes char **ppcErrorText, which it
**   sets to "" on entry and, on failure, to the system's text, the daemon's
**   error text (666 reply, its control characters escaped as above: it may
**   come in clear from anyone before TLS) or a text of this module.  The text lives in a
**   buffer private to the calling thread until that thread's next call of
**   this module; the caller never frees it.
**
**   Port of the service: looked up with getservbyname.  Tests (and only
**   tests) may set the environment variable ZAV_DAEMON_PORT to a decimal
**   port number: ptSOCKETgetServiceDescriptor then answers "db2zavdm" with
**   that port without consulting the services database.
**
**   Remote files: a connection returned by iSOCKETopenFile carries any number
**   of reads and seeks and is released by iSOCKETcloseFile only.  When a read
**   fails the connection is shut down but its descriptor stays allocated
**   until iSOCKETcloseFile, so that the descriptor number is never reused
**   behind the owner's back.
**
**   Service side state, per conversation: the open file of request 7, the
**   control file saved by request 3 or 13 and the output and message files
**   of a run, all kept in a private directory (mode 0700, made with mkdtemp
**   from "/tmp/zavXXXXXX"), which is also the run's working directory.  The
**   directory is removed with its files when the conversation ends, and, if
**   the serving process ends in any other way (killed, even by SIGKILL), by
**   its cleaner: a process of a session of its own, forked when the
**   directory is made, that waits for the serving process to go (a pipe
**   closing) and removes it.  Arguments received for a run are split at
**   blanks and each word is passed as one argument; the copies of a
**   password are wiped once the run has started.  A run whose client goes
**   away (a 502 that cannot be sent) is ended with SIGTERM, and SIGKILL
**   after T seconds; a run whose serving process ends in any other way
**   (killed, even by SIGKILL) gets SIGTERM from the system (the parent-death
**   signal).  Every descriptor of the module is close-on-exec.
**
**   Connections: a connection of this module (made by the client
**   operations, or served by iSOCKETdoService) is known by its descriptor,
**   with its TLS state and its time limit; it is released by vSOCKETclose
**   only (iSOCKETcloseFile and iSOCKETexecCmdLocal call it), so that a
**   descriptor number is never taken for another connection.  A client
**   operation given a descriptor without TLS sends nothing on it.
**
**   The client operations may be called from several threads at once (host
**   and service look-ups use the reentrant calls, the table of connections
**   has a lock, taken around fork as well); one connection is used by one
**   thread at a time.  The service side has no threads.
*/
#ifndef ZAV_IO_SOCKET_H
#define ZAV_IO_SOCKET_H

#include <cstddef>
#include <cstdint>

struct hostent;
struct servent;

/* Protocol. */
#define SOCKET_VERSION       212
#define SOCKET_HEADER_SIZE   12
#define SOCKET_SERVICE       "db2zavdm"
#define SOCKET_PROTOCOL      "tcp"
#define SOCKET_PORT_ENV      "ZAV_DAEMON_PORT"   /* test override of the port */

/* Request codes. */
#define SOCKET_RQ_ACK        1
#define SOCKET_RQ_NODES      2
#define SOCKET_RQ_SAVEUTF8   3
#define SOCKET_RQ_RUNUTF8    4
#define SOCKET_RQ_USER       5
#define SOCKET_RQ_EXIST      6
#define SOCKET_RQ_OPEN       7
#define SOCKET_RQ_READ       8
#define SOCKET_RQ_CLOSE      9
#define SOCKET_RQ_SEEK       10
#define SOCKET_RQ_RUN        11
#define SOCKET_RQ_PING       12
#define SOCKET_RQ_SAVE       13
#define SOCKET_RQ_HELLO      14
#define SOCKET_RQ_END        999

/* Reply codes. */
#define SOCKET_RP_LINE       500
#define SOCKET_RP_DONE       501
#define SOCKET_RP_RUNNING    502
#define SOCKET_RP_ERROR      666

/* TLS: the PSK identity is this prefix and the instance name; a running
   run is announced this often. */
#define SOCKET_TLS_IDENTITY  "db2zavdm:"
#define SOCKET_BEAT_MS       500

/* Limits. */
#define SOCKET_MAX_MESSAGE   65552                              /* any message with a header */
#define SOCKET_MAX_FILE      (SOCKET_MAX_MESSAGE - SOCKET_HEADER_SIZE - 1)  /* control-file text: 65539 */
#define SOCKET_MAX_READ      65552                              /* bytes of one read request */
#define SOCKET_MAX_TEXT      499                                /* arguments, user name, path */
#define SOCKET_MAX_PATH6     495                                /* path of request 6 */
#define SOCKET_MAX_ERROR     512                                /* a whole error reply */
#define SOCKET_MAX_LINE      499                                /* a reply line */
#define SOCKET_MAX_HOST      199                                /* a host name */

/* Results of iSOCKETdoService and _iSOCKETread. */
#define SOCKET_RC_ERROR      16

/* Identifier of the error replies. */
#define SOCKET_ERROR_ID      "ZOR0666F"

/*
** One message as read by _iSOCKETread.  pcPayload (NULL when the message
** has none) belongs to the caller, who frees it with free(); it is
** NUL-terminated one byte past ulLength.
*/
struct zor3socketMessage {
  uint32_t ulVersion;    /* always SOCKET_VERSION once read */
  uint32_t ulCode;       /* request or reply code */
  uint32_t ulLength;     /* payload bytes */
  char    *pcPayload;    /* payload, or NULL */
};

/* ---------------------------------------------------------------- client */

/*
** iSOCKETsetInstance
**   Names the instance whose key proves this process's conversations and
**   reads the key now, with the identity the process has now; later
**   connections use that key.  Without this call each connection reads
**   the key of the instance of DB2INSTANCE, else of the configuration.
**   Returns 0, or the code of authkeyLoad (the connections then fail with
**   its text).
*/
int iSOCKETsetInstance(const char *pcInstance);

/*
** iSOCKETtestDaemon
**   Connects to the daemon of pcHost, authenticates, sends a ping and ends
**   the conversation.
**   Returns 0 when a daemon answered, -1 when none could be reached (host,
**   service or connection failed), -2 when one answered but refused the
**   conversation, did not answer within the time limit, or the key could
**   not be read (*ppcErrorText says why).
*/
int iSOCKETtestDaemon(const char *pcHost, char **ppcErrorText);

/*
** iSOCKETsaveFile
**   Connects to the daemon of pcHost and has it save pcText, unchanged, as
**   the control file of the conversation (request 13).
**   Returns the open connection, for iSOCKETexecCmdLocal, or -1 (a text
**   longer than SOCKET_MAX_FILE fails before connecting, with the text "").
*/
int iSOCKETsaveFile(const char *pcHost, const char *pcText, char **ppcErrorText);

/*
** iSOCKETexecCmdLocal
**   Has the daemon run db2zav with pcArguments and the saved control file
**   (request 11); prints each reply line, with a newline, on sysprint (502
**   replies only renew the time limit), then ends the conversation and
**   closes iSocket in every case.
**   Returns the exit status of the remote run (0 to 255), or -1 when the
**   daemon answered with an error or with no status, a send or read
**   failed or the arguments are longer than SOCKET_MAX_TEXT.
*/
int iSOCKETexecCmdLocal(int iSocket, const char *pcArguments, char **ppcErrorText);

/*
** iSOCKETexistFile
**   Asks the daemon of pcHost, as user pcUser, whether pcPath exists and can
**   be opened for reading; *pilBlocks gets the file size divided by
**   ulBlockSize (0 when the size cannot be read or the block size is 0), or
**   -1 when the daemon gave no count.
**   Returns 0 (readable), -1 (absent: the daemon found no such file) or -2
**   (any other answer: access denied or the file could not be opened there;
**   or no answer: host, service, connection, sizes, sends or reads failed,
**   the daemon answered with an error or without a status).  A failure is
**   never taken for an absent file, which a reader would take for one
**   without pages.
*/
int iSOCKETexistFile(const char *pcHost, const char *pcUser, const char *pcPath, uint32_t ulBlockSize,
                     int64_t *pilBlocks, char **ppcErrorText);

/*
** iSOCKETopenFile
**   Has the daemon of pcHost, as user pcUser, open pcPath for reading.
**   *pilSize gets the 64-bit size of the file (-1 until the daemon gives it).
**   Returns the connection, which carries the reads and seeks of the file
**   until iSOCKETcloseFile, or -1.
*/
int iSOCKETopenFile(const char *pcHost, const char *pcUser, const char *pcPath, int64_t *pilSize,
                    char **ppcErrorText);

/*
** iSOCKETreadFile
**   Reads iSize bytes of the remote file into pBuffer at byte iBlock * iSize
**   (iBlock -1: at the current position).
**   Returns iSize, or -1 (size above SOCKET_MAX_READ or negative, send or
**   receive failed, the daemon answered with an error reply instead of the
**   data, or it closed the connection early; the connection is then shut
**   down and must still be given to iSOCKETcloseFile).
*/
int iSOCKETreadFile(int iSocket, int32_t iBlock, int32_t iSize, void *pBuffer, char **ppcErrorText);

/*
** iSOCKETlseekFile
**   Sets the remote file's position to iUnit * iCount + iOffset; nothing
**   moves when neither iCount nor iOffset is positive.  The connection stays
**   open in every case.
**   Returns 0, or -1.
*/
int iSOCKETlseekFile(int iSocket, int32_t iCount, int32_t iUnit, int32_t iOffset, char **ppcErrorText);

/*
** iSOCKETcloseFile
**   Closes the remote file, which ends the daemon's conversation, then shuts
**   the connection down and closes it.
**   Returns 0, or -1 (send failed or no answer came; the connection is closed
**   all the same).
*/
int iSOCKETcloseFile(int iSocket, char **ppcErrorText);

/* iSOCKETstartServices: nothing to start.  Returns 0. */
int iSOCKETstartServices(void);

/* vSOCKETcloseServices: nothing to stop. */
void vSOCKETcloseServices(void);

/* ----------------------------------------------------------- service side */

/*
** vSOCKETdaemonInit
**   Puts the process in the background: fork (the parent exits with 0),
**   setsid, SIGHUP ignored, fork again (the parent exits with 0); in the
**   grandchild the file-creation mask becomes 022 and descriptors 0, 1 and
**   2 are closed.  Returns in the grandchild only.
*/
void vSOCKETdaemonInit(void);

/*
** iSOCKETcreate
**   Makes a socket of the service's type ("udp": datagram, else stream)
**   bound to the service's port on every local address.
**   Returns the socket, or -1.
*/
int iSOCKETcreate(const servent *pservent, char **ppcErrorText);

/* iSOCKETlisten: listen with the backlog; makes the TLS context the
   conversations of this process and its children use.  Returns 0, or -1. */
int iSOCKETlisten(int iSocket, int iBacklog, char **ppcErrorText);

/*
** iSOCKETaccept
**   Accepts one connection (again after an interrupting signal), close-on-
**   exec; the peer's address goes into pAddress, a buffer of 16 bytes.
**   Returns the connection, or -1.
*/
int iSOCKETaccept(int iSocket, void *pAddress, char **ppcErrorText);

/*
** iSOCKETdoService
**   Serves one conversation on iSocket until it ends, then removes the
**   conversation's files and shuts the connection down and closes it.
**   Returns 0 after a normal end (999, or a successful close), or 16 when an
**   error reply or a failed handshake ended it (unreadable, malformed or
**   stalled message, a peer that closed the connection, unknown code, a
**   refused authentication, user change, path or run argument, a failed
**   open, read, seek of a read, or close).
*/
int iSOCKETdoService(int iSocket, char **ppcErrorText);

/* ---------------------------------------------------------------- shared */

/*
** ptSOCKETgetHostDescriptor
**   Resolves pcHost (NULL: the local short host name), trying 5 times, 1 s
**   apart.  The entry lives in storage of the calling thread until its next
**   call.
**   Returns the entry, or NULL with "host timeout( <name>, 5 sec.)" (or the
**   system's text when the local name cannot be had).
*/
hostent *ptSOCKETgetHostDescriptor(const char *pcHost, char **ppcErrorText);

/*
** ptSOCKETgetServiceDescriptor
**   Looks the service up, trying 5 times, 1 s apart (see ZAV_DAEMON_PORT
**   above).  The entry lives in storage of the calling thread until its
**   next call.
**   Returns the entry, or NULL with "services timeout ( <name>, 5 sec.)".
*/
servent *ptSOCKETgetServiceDescriptor(const char *pcService, const char *pcProtocol, char **ppcErrorText);

/*
** iSOCKETconnect
**   Connects to the service on the first address of the host that accepts,
**   each address within the time limit (daemontimeout).  The socket is
**   non-blocking and close-on-exec.
**   Returns the connected socket, or -1 with the system's text for the last
**   failure, or "No answer within T seconds" (a host entry without
**   addresses gives -1).
*/
int iSOCKETconnect(const servent *pservent, const hostent *phostent, char **ppcErrorText);

/*
** _iSOCKETread
**   Reads one message into *pmsg, inside the connection's TLS once it has
**   begun, the whole message within the connection's time limit.  A peer
**   that closes the connection ends the reading at once (reported once as
**   ZOR0666F "Empty socket" or "Socket is empty").  Sizes below 12 or above
**   SOCKET_MAX_MESSAGE and versions other than SOCKET_VERSION are refused
**   before anything is allocated; on any failure but a broken TLS an error
**   reply goes to the peer.
**   Returns 0, or 16 (pmsg->pcPayload NULL, *ppcErrorText says why).
*/
int _iSOCKETread(int iSocket, zor3socketMessage *pmsg, char **ppcErrorText);

/*
** _iSOCKETsend
**   Sends ulLength bytes on the connection, inside its TLS once it has
**   begun (in clear before), within the connection's time limit.
**   Returns 0, or -1 with *ppcErrorText.
*/
int _iSOCKETsend(int iSocket, const void *pBytes, size_t ulLength, char **ppcErrorText);

/*
** _iSOCKETstartTls
**   Runs the TLS 1.3 handshake on a connected socket, as the client
**   (boServer 0) or the daemon (1), with the pre-shared key of pcInstance
**   derived from the instance secret pucKey (AUTHKEY_SIZE bytes); the
**   handshake succeeds only when the peer proves the same key.  From then on
**   the connection's messages travel inside the TLS.  Within the
**   connection's time limit.  The client operations and iSOCKETdoService
**   call it after the hello; tests call it to play either side.
**   Returns 0, or -1 with *ppcErrorText ("Authentication failed: " and
**   the reason).
*/
int _iSOCKETstartTls(int iSocket, int boServer, const char *pcInstance, const unsigned char *pucKey,
                     char **ppcErrorText);

/*
** vSOCKETclose
**   Ends the TLS of the connection (close_notify, without waiting), shuts
**   it down, closes it and forgets it.  Any descriptor of a socket may be
**   given.
*/
void vSOCKETclose(int iSocket);

/*
** iSOCKETsendError
**   Sends the error reply {total, SOCKET_VERSION, 666} + pcIdentifier + " " + pcText,
**   the text cut so that the message is at most 512 bytes.
**   Returns iResult, or 16 when the buffer size cannot be set (the identifier
**   is then ZOR0666F) or the send fails (ZOR0666F "Cant send message").
*/
int iSOCKETsendError(int iSocket, int iResult, const char *pcIdentifier, const char *pcText);

/*
** pzcSOCKETsetText
**   Returns a new NUL-terminated copy of the first iLength bytes of pcText,
**   freed with free(), or NULL when memory runs out.
*/
char *pzcSOCKETsetText(const char *pcText, int iLength);

#endif
