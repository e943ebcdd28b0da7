// Conversions between the index space of a Lut (values 0 to 1) and the
// values of a colour space, by colour space and Lut type.
#ifndef ZENTU_ICC_ICC_LUTSPACES_H
#define ZENTU_ICC_ICC_LUTSPACES_H

#include "icc/icc.h"

// Converts one colour's values; out may be the same array as in. Up to 15
// values are read and written, as many as the colour space has.
typedef void (*icmLutSpaceFunc)(double *out, const double *in);

// Directions of a conversion. A version 2 Lut encodes its table indexes and
// its table entries alike, so 0 and 2, and 1 and 3, give the same function.
enum {
    icmLutIndexToSpace = 0,
    icmLutSpaceToIndex = 1,
    icmLutEntryToSpace = 2,
    icmLutSpaceToEntry = 3,
};

// The conversion for a colour space, a Lut type ('mft1' or 'mft2') and a
// direction: 0 with *fn set, or 1 when there is none (the space is not
// known to Luts, 'XYZ ' in an 8-bit Lut, another type or direction).
int icmLutSpaceConversion(uint32_t colorspace, uint32_t ttype, int direction, icmLutSpaceFunc *fn);

#endif
