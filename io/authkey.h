/*
** authkey.h
**   The instance secret that both ends of a daemon conversation share, and
**   the pre-shared key of their TLS derived from it.  The secret of an
**   instance is a key file in the instance home (the configuration's
**   insthomes entry), owned by the instance user (its instusers entry) and
**   readable by that owner only:
**
**     <instance home>/.db2zav.key   64 hexadecimal digits (32 random bytes),
**                                   then a line feed; mode 0600 or 0400
**
**   A key file that is a symbolic link, not a regular file, owned by
**   another user or open to the group or to others is refused, as is one
**   whose text is not 64 hexadecimal digits (blanks and line ends around
**   them are allowed).  The key itself never protects a conversation: the
**   pre-shared key of a conversation's TLS (io/socket.h) is derived from it
**   for the instance, HMAC-SHA-256 (OpenSSL's libcrypto) keyed with the 32
**   bytes over
**
**     "db2zavdm-tls13-psk" NUL <instance name>
**
**   so that the secret of one instance proves nothing for another.  Used by
**   the client and service sides of io/socket.cpp and by the db2zavkey
**   command; no state of its own, callable from any thread.
*/
#ifndef ZAV_IO_AUTHKEY_H
#define ZAV_IO_AUTHKEY_H

#include <cstddef>
#include <string>
#include <sys/types.h>

#include "common/oreason.h"

#define AUTHKEY_FILE           ".db2zav.key"
#define AUTHKEY_SIZE           32   /* bytes of the secret */
#define AUTHKEY_PSK_SIZE       32   /* bytes of a conversation's pre-shared key (HMAC-SHA-256) */

/* Reason codes (module 0x130). */
#define AUTHKEY_RC_NOHOME ORC_MAKE(0x130, 2, 1)   /* no home for the instance in the configuration */
#define AUTHKEY_RC_NOUSER ORC_MAKE(0x130, 2, 2)   /* no instance user, or unknown to the system */
#define AUTHKEY_RC_NOFILE ORC_MAKE(0x130, 2, 3)   /* the key file cannot be opened or read */
#define AUTHKEY_RC_UNSAFE ORC_MAKE(0x130, 2, 4)   /* not a regular file of the owner's only */
#define AUTHKEY_RC_BADKEY ORC_MAKE(0x130, 2, 5)   /* the text is not 64 hexadecimal digits */
#define AUTHKEY_RC_CRYPTO ORC_MAKE(0x130, 2, 6)   /* libcrypto failed */
#define AUTHKEY_RC_CALLER ORC_MAKE(0x130, 2, 7)   /* neither root nor the instance user */

/*
** authkeyInstanceUser
**   The instance user of pcInstance (configuration) and its ids.
**   Returns 0, or AUTHKEY_RC_NOUSER (*pstrWhy says why).
*/
int authkeyInstanceUser(const char *pcInstance, std::string *pstrUser, uid_t *puid, gid_t *pgid,
                        std::string *pstrWhy);

/*
** authkeyPath
**   The key file of pcInstance into strPath.
**   Returns 0, or AUTHKEY_RC_NOHOME.
*/
int authkeyPath(const char *pcInstance, std::string &strPath);

/*
** authkeyLoad
**   Reads and checks the key file of pcInstance into pucKey (AUTHKEY_SIZE
**   bytes).  Returns 0, or AUTHKEY_RC_NOHOME, AUTHKEY_RC_NOUSER,
**   AUTHKEY_RC_NOFILE, AUTHKEY_RC_UNSAFE, AUTHKEY_RC_BADKEY, with the file
**   and the fault in *pstrWhy.
*/
int authkeyLoad(const char *pcInstance, unsigned char *pucKey, std::string *pstrWhy);

/*
** authkeyCreate
**   Makes the key file of pcInstance when it is missing: 32 bytes from
**   libcrypto's generator, written to a file created exclusively (never
**   through a link) with mode 0600 and given to the instance user.  An
**   existing file is left as it is and checked as authkeyLoad does.
**   REQUIRES: the caller is root or the instance user.
**   Returns 0 (*pboCreated 1 when made, 0 when it was there), or
**   AUTHKEY_RC_CALLER and the codes of authkeyLoad, with *pstrWhy.
*/
int authkeyCreate(const char *pcInstance, std::string *pstrPath, int *pboCreated, std::string *pstrWhy);

/* authkeyRandom: fills ulLength bytes from libcrypto's generator.  Returns 0, or AUTHKEY_RC_CRYPTO. */
int authkeyRandom(unsigned char *puc, size_t ulLength);

/*
** authkeyPsk
**   The pre-shared key of the conversations of pcInstance (see above),
**   derived from the instance secret pucKey, into pucPsk (AUTHKEY_PSK_SIZE
**   bytes).  Returns 0, or AUTHKEY_RC_CRYPTO.
*/
int authkeyPsk(const unsigned char *pucKey, const char *pcInstance, unsigned char *pucPsk);

#endif
