/*
** zornodecnv.h
**   Constant rewriting and code-page resolution for the expression check.
**   The check calls these routines to turn constants into the types DB2's
**   rules ask for (a character constant facing a DATE, TIME or TIMESTAMP
**   becomes a packed date/time constant; INTEGER, SMALLINT and double
**   constants become DECIMAL in mixed lists; a duration amount becomes an
**   INTEGER), and, once a tree has checked, to walk it and give every node
**   its CCSID and pad character: character constants are converted in place
**   to the dominant code page, columns and computed values of another code
**   page are wrapped in CONVERSION nodes whose right slot holds the
**   converter entry of the global conversion context.
**
**   Date/time literal forms accepted (text up to the constant's length):
**     TIMESTAMP  yyyy-m[m]-d[d]-h[h].mm.ss[.f..f]  (up to six fraction
**                digits, filled with zeros on the right), then blanks
**     DATE       yyyy-m[m]-d[d] (ISO), m[m]/d[d]/yyyy (USA),
**                d[d].m[m].yyyy (EUR), then blanks
**     TIME       h[h]:m[m][:s[s]], each separator ":" or ".", then blanks
**                after the seconds; after the minutes only the seconds
**   Every literal must name a real date and time: month 1..12, a day that
**   exists in that month, hour 0..24 (24 only as 24.00.00 without
**   fraction), minute and second 0..59.  A successful conversion rewrites
**   the constant's buffer to [u16 n][n packed BCD bytes] (DATE 4, TIME 3,
**   TIMESTAMP 10), retypes the node and clears its CCSID.
**
**   A character constant converted to another code page goes through one
**   work string kept for the process.  Main process, one thread: nothing
**   here is guarded.
*/
#ifndef ZAV_EXPR_ZORNODECNV_H
#define ZAV_EXPR_ZORNODECNV_H

#include <cstdint>

#include "common/oreason.h"

struct zornode;

/* Reason codes (module 0x106). */
#define ZORNODE_RC_NOTDATE   ORC_MAKE(0x106, 2, 0x002)  /* 0x106a002 not a DATE literal */
#define ZORNODE_RC_NOTTIME   ORC_MAKE(0x106, 2, 0x003)  /* 0x106a003 not a TIME literal */
#define ZORNODE_RC_NOTTST    ORC_MAKE(0x106, 2, 0x004)  /* 0x106a004 not a TIMESTAMP literal */
#define ZORNODE_RC_BADLIST   ORC_MAKE(0x106, 2, 0x00a)  /* 0x106a00a IN list not usable */
#define ZORNODE_RC_RANGE     ORC_MAKE(0x106, 2, 0x011)  /* 0x106a011 constant out of range */
#define ZORNODE_RC_NOFORM    ORC_MAKE(0x106, 4, 0x001)  /* 0x106c001 no conversion to that type */

/* Result of _zornodeFindDominant. */
#define ZORNODE_DOM_NONE   0
#define ZORNODE_DOM_FIRST  1
#define ZORNODE_DOM_SECOND 2

/* Slots of _zornodeConvert. */
#define ZORNODE_SLOT_LEFT  1
#define ZORNODE_SLOT_RIGHT 2

/*
** _zornodeConvertToDate
**   Parses a character constant as a date/time literal.  iWanted 0 tries
**   TIMESTAMP, then DATE, then TIME; 40 only TIMESTAMP, 32 only DATE, 36
**   only TIME.  On success the node becomes a DATE (code 32, 0x4220),
**   TIME (36, 0x4224) or TIMESTAMP (40, 0x4228) constant.  Issues no
**   message: the caller looks at the node's type afterwards.
**   Returns 0; ZORNODE_RC_NOTTST, ZORNODE_RC_NOTDATE or ZORNODE_RC_NOTTIME
**   (the last form tried) when the text matches no form or the node is not
**   a character constant (node unchanged); ZORNODE_RC_NOFORM for any other
**   iWanted (node unchanged).
*/
int _zornodeConvertToDate(zornode *pnode, int iWanted);

/*
** _zornodeConvertToDec
**   Turns an INTEGER, SMALLINT or double constant into a DECIMAL constant
**   (code 12, control type 0x480c, 18-byte buffer: precision, scale, packed
**   digits) of exactly the same value: integers with as many digits as
**   they have and scale 0, doubles from their shortest decimal text that
**   reads back as the same double.  Any other node is left unchanged.
**   Returns 0; ZORNODE_RC_RANGE (node unchanged) for a double that is not
**   finite or needs more than 31 digits; ORC_NOMEM.
*/
int _zornodeConvertToDec(zornode *pnode);

/*
** _zornodeConvertToInt
**   Turns a double constant from -2147483648 to 2147483647 into an INTEGER
**   constant (code 0, control type 0x4800, length 4) truncated toward zero,
**   and a DECIMAL constant whose integer part lies within
**   -2147483647..2147483647 into the INTEGER of that integer part.  Any
**   other node is left unchanged.
**   Returns 0; ZORNODE_RC_RANGE (node unchanged) outside those ranges;
**   ORC_NOMEM.
*/
int _zornodeConvertToInt(zornode *pnode);

/*
** _zornodeResolveConversion
**   Walks a checked tree once, bottom up, giving each node its CCSID and
**   pad character and converting the operands of each operator to the code
**   page that dominates there.  A conversion that cannot be made leaves
**   that operand as it was (its message, if any, is issued where it fails).
**   Returns the node's CCSID: 0 for a NULL node and for non-character
**   results.
*/
int _zornodeResolveConversion(zornode *pnode);

/*
** _zornodeFindDominant
**   Which of two operands gives its code page to the other: equal CCSIDs
**   or 0xFFFF on either side none; then 1200 second, 1200 or 1208 first,
**   1208 second; then a column, then a constant, first before second;
**   otherwise the first.
**   Returns ZORNODE_DOM_NONE, ZORNODE_DOM_FIRST or ZORNODE_DOM_SECOND.
*/
int _zornodeFindDominant(const zornode *pnodeFirst, const zornode *pnodeSecond);

/*
** _zornodeConvert
**   Converts the operand in slot iSlot (ZORNODE_SLOT_LEFT or _RIGHT) of
**   pnodeParent to CCSID iTarget; the operand first takes the parent's pad
**   character.  A character constant (and every constant chained after it
**   through its right slot) has its bytes converted in place, ZORU005E
**   being issued when a conversion fails (the bytes produced are kept); a
**   CONVERSION node is retargeted, or removed when the target is its
**   operand's own CCSID; a CONCAT has both operands converted; any other
**   operand of another CCSID is wrapped in a CONVERSION node.
**   Returns 0, the converter look-up's code (operand unchanged) when no
**   converter exists for a column or computed value, ORC_NOMEM.
*/
int _zornodeConvert(zornode *pnodeParent, int iSlot, int iTarget);

/*
** _zornodeModifyLikeString
**   Converts the literal pieces of a compiled LIKE pattern (a character
**   constant whose buffer is [u16 n] then tokens: i16 count > 0 followed by
**   that many bytes, or a wildcard token <= 0) to CCSID iCCSID.  Nothing
**   when the pattern already has that CCSID or has CCSID 0xFFFF.  A piece
**   whose conversion fails with a code of error severity leaves the whole
**   pattern as it was.  After a rebuild the node's CCSID is the target and
**   its length the new token string's.
**   Returns 0, the failing conversion's code (pattern unchanged), ORC_NOMEM
**   (pattern unchanged) or ORC_INVALID for a malformed token string
**   (pattern unchanged).
*/
int _zornodeModifyLikeString(zornode *pnodePattern, int iCCSID);

/*
** _zornodeConvertStripLit
**   Converts the strip character of a STRIP node to the CCSID of its
**   operand.  The right slot holds a value: byte 1 (and byte 2 for a
**   double-byte character) the strip character, byte 3 its class.  Class
**   bit 0x80: no character was given, the operand's blank is stored.
**   Otherwise bits 0x1f name the character's code page: 1 the locale
**   single-byte, 2 the locale double-byte, 4 the locale mixed CCSID, 8
**   none, 16 CCSID 1200.  Afterwards the class byte is 1 when the
**   character has no code page, else 0.  ZORU008E is issued when the
**   conversion fails with a code of error severity or gives more than two
**   bytes; the bytes are then left as they were.
**   Returns 0, 8 for an unknown class, the conversion's code, or
**   ORC_INVALID for a result longer than two bytes or a node without
**   operand or value.
*/
int _zornodeConvertStripLit(zornode *pnodeStrip);

/*
** _zornodeBuildInListSet
**   Turns an IN node over a long list of constants into an IN list set
**   node (code 0xa4) whose right slot (a value, RIGHT_NOT) is an oname
**   table holding each list value once: INTEGER values as their 4 bytes;
**   DECIMAL and double values as 18-byte DECIMAL buffers brought to the
**   list's largest scale, precision byte 31 and scale byte cleared, so that
**   equal values give equal keys; character and graphic values as their
**   bytes without trailing blanks of their CCSID; date/time values as their
**   packed bytes.  A list holding an empty string is kept.  The list is
**   deleted.  The
**   set is made only when it pays: (element size + sum of the element
**   sizes) / (2 x (count + 1)) + 2 below count + 1.  The table belongs to
**   the node's owner, who frees it with onameDestroy before the node.
**   Returns 0 (also when the list is kept), ZORNODE_RC_BADLIST for a list of
**   another type (SMALLINT and BIGINT among them; node unchanged), ORC_NOMEM.
*/
int _zornodeBuildInListSet(zornode *pnodeIn);

#endif
