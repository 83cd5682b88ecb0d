/*
** oreal.h
**   Floating-point values of the typed resources, and the conversions between
**   IEEE 754 binary floating point (the host's format) and hexadecimal
**   floating point (HFP), short (4 bytes) and long (8 bytes).
**
**   Float code 0x180000 + form: 4, 5, 6 four bytes; 8, 9, 10 eight bytes;
**   form & 3 is the float mode, 0 meaning the resource's mode (flags bits
**   16-17).  Modes, applied in both directions:
**     0  zero bytes stored / 0.0 returned
**     1  stored and returned as they are
**     2  the bits are read as HFP and turned into IEEE
**     3  the IEEE value is turned into HFP bits
**   Stored bytes are the value's 4 or 8 bytes, most significant first.
**
**   HFP short: sign bit 31, characteristic c bits 24-30 (excess 64, base 16),
**   fraction F bits 0-23: F / 2^24 * 16^(c - 64).  Long: c bits 56-62, F bits
**   0-55: F / 2^56 * 16^(c - 64).
**
**   Out of range: an HFP value too large for IEEE saturates to the largest
**   finite value of its sign, one too small flushes to zero of its sign (an
**   HFP short can be below IEEE single's normal range); an IEEE value too
**   large for HFP saturates to the largest HFP magnitude, one too small
**   flushes to zero.  IEEE infinities saturate, NaNs give HFP zero, and IEEE
**   subnormals are normalised first.
*/
#ifndef ZAV_COMMON_OREAL_H
#define ZAV_COMMON_OREAL_H

#include <cstdint>

struct ores;

/* HFP short bits -> IEEE single bits in *pulResult.  Returns 0. */
int _realHFPSingle2BFPSingle(uint32_t ulHfp, uint32_t *pulResult);
/* IEEE single bits -> HFP short bits (truncating).  Returns the HFP bits. */
uint32_t _realBFPSingle2HFPSingle(uint32_t ulIeee);
/* HFP long bits -> IEEE double bits in *pullResult.  Returns 0. */
int _realHFPDouble2BFPDouble(uint64_t ullHfp, uint64_t *pullResult);
/* IEEE double bits -> HFP long bits in *pullResult.  Returns 0. */
int _realBFPDouble2HFPDouble(uint64_t ullIeee, uint64_t *pullResult);

/*
** _resFloatSerialProc
**   Serial procedure of kind 0x180000: the value is a float (4-byte forms)
**   or a double (8-byte forms).  Codes: 0x88003 put without value, 0x80001,
**   0x88001 read past the end, 0x88008 unknown form.
*/
void *_resFloatSerialProc(ores *pres, int32_t iType, void *pvValue, int iPut, int *prc);

#endif
