// Lut (8-bit and 16-bit) tag types.
#include "icc/icc_internal.h"

// Creation routines of the types built here; until then the profile answers
// "Unhandled tag type" for 'mft1' and 'mft2'.
const icmTypeCreator icm_lut_creators[] = {
    {0, nullptr},
};
