/*
** dmguard.h
**   What the daemon's service side lets an authenticated peer reach, for
**   the instance it proved to belong to:
**
**   Hosts: a connection from a loopback address (127.0.0.0/8), or from an
**   address of a host of the instance's db2nodes.cfg (<instance home>/
**   sqllib/db2nodes.cfg, second field of each line, resolved by name);
**   without that file, from an address of the local host.
**
**   Files: the instance's database trees <database path>/<instance>/ (the
**   table-space control files SQLSPCS.1 under NODEnnnn/SQLnnnnn/, and the
**   containers kept beside them) and the containers the instance's control
**   files name elsewhere: a file or device exactly, a directory and what
**   lies below it.  The database paths are the instance home (DB2's
**   default database path) and the configuration's dbpaths entry of the
**   instance (paths separated by ';').  These roots come from the
**   configuration and the instance's own files, so links in them are
**   followed; a container entry with a '..' component, and a root that is
**   '/' or a system directory (/bin, /boot, /dev, /etc, /home, /lib...,
**   /media, /mnt, /opt, /proc, /root, /run, /sbin, /srv, /sys, /tmp, /usr,
**   /var) or lies within /bin, /boot, /etc, /lib..., /proc, /root, /sbin,
**   /sys or /usr (or within /dev without being a block device), is not a
**   root.  A peer's path is opened beneath its root without following any
**   link and with no '.' or '..' component, one component at a time; the
**   root is checked to be the file or directory it was when gathered, and
**   the opened descriptor to be a file, a block device or a directory that
**   lies within a root.  A path longer than SOCKET_MAX_TEXT is refused.

**   Run arguments: the options a shipped request needs, each a word of its
**   own: -i/--instance (the authenticated instance only), -d/--database,
**   -u/--user, -p/--password (taken out: the run gets it through its
**   environment), --part/--partition, --threads, -b/--buffers, -l/--local,
**   -n/--noexecute, -a/--abnormal, -e/--extended_test, --verbose and
**   --purge[=n]; a value may follow as the next word, be attached to a
**   short option or follow '=' after a long one.  Anything else is refused,
**   -m, -o, -f, --nodescfg, --identity and every option that names a file
**   of the daemon's host among them.
**
**   One process per conversation; no threads.  Layout read here (SQLSPCS.1
**   record of 65536 bytes, integers little-endian):
**
**     OFFSET  SIZE  DESCRIPTION
**        8      2   table-space id (i16); negative: free record
**    0x424      4   n = number of containers
**   0x6000      -   n container entries: 52 bytes, then the path and its
**                   NUL (relative to the database directory unless it
**                   starts with '/'); the next entry follows the NUL
*/
#ifndef ZAV_IO_DMGUARD_H
#define ZAV_IO_DMGUARD_H

#include <netinet/in.h>
#include <sys/types.h>
#include <string>
#include <vector>

#include "common/oreason.h"

/* Reason codes (module 0x131). */
#define DMGUARD_RC_HOST ORC_MAKE(0x131, 2, 1)   /* the peer's host is not one of the instance */
#define DMGUARD_RC_PATH ORC_MAKE(0x131, 2, 2)   /* the path lies outside the instance's files */
#define DMGUARD_RC_ARGS ORC_MAKE(0x131, 2, 3)   /* a run argument is not allowed */
#define DMGUARD_RC_OPEN ORC_MAKE(0x131, 2, 4)   /* an allowed path that could not be opened */

/* One place a peer may reach: a directory and what lies below it, or one file. */
struct dmguardRoot {
  std::string strName;        /* as configured or named (links in it are followed) */
  std::string strReal;        /* its canonical form */
  bool        boTree = false; /* a directory */
  dev_t       dev = 0;        /* what it was when gathered */
  ino_t       ino = 0;
};

/* The files of one instance, gathered on first use. */
struct dmguardFiles {
  bool                     boBuilt = false;
  std::vector<dmguardRoot> vRoots;
  std::vector<std::string> vRefused;   /* roots refused while gathering, with the reason */
};

/* The run arguments a shipped request may keep. */
struct dmguardRun {
  std::vector<std::string> vArgs;        /* words for the program, -i <instance> first */
  std::string              strPassword;  /* the -p value, or "" */
  bool                     boPassword = false;
};

/*
** dmguardPeer
**   Checks the peer's address against the hosts of pcInstance (above).
**   Returns 0, or DMGUARD_RC_HOST with the address in *pstrWhy.
*/
int dmguardPeer(const char *pcInstance, const sockaddr_in &addrPeer, std::string *pstrWhy);

/*
** dmguardOpen
**   Opens pcPath for reading (non-blocking, close-on-exec) when it lies
**   within the files of pcInstance (above), gathering them into *pfiles on
**   first use.
**   Returns 0 with the descriptor in *piFd (the caller closes it),
**   DMGUARD_RC_PATH when the path is not allowed (*pstrWhy says why), or
**   DMGUARD_RC_OPEN when it is allowed but could not be opened (*piErrno:
**   ENOENT, EACCES, ...).
*/
int dmguardOpen(const char *pcInstance, dmguardFiles *pfiles, const char *pcPath, int *piFd, int *piErrno,
                std::string *pstrWhy);

/*
** dmguardSystemPath
**   True when the canonical path pcReal may not be a root (above); boTree:
**   it is a directory, boBlock: it is a block device.
*/
bool dmguardSystemPath(const std::string &strReal, bool boTree, bool boBlock);

/*
** dmguardRunArguments
**   Splits the argument string at blanks and keeps the allowed options
**   (above) in *prun.
**   Returns 0, or DMGUARD_RC_ARGS with the refused word in *pstrWhy.
*/
int dmguardRunArguments(const char *pcInstance, const char *pcArguments, dmguardRun *prun, std::string *pstrWhy);

#endif
