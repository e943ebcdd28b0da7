// Lut (8-bit and 16-bit) tag types.
#ifndef ZENTU_ICC_ICC_TAGS_LUT_H
#define ZENTU_ICC_ICC_TAGS_LUT_H

// Included by icc/icc.h. Not built yet: 'mft1' and 'mft2'.

#endif
