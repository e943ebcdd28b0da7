// Named colour, description, sequence, signature, screening, CRD, viewing and UCR/BG tag types.
#include "icc/icc_internal.h"

// Creation routines of the types built here; until then the profile answers
// "Unhandled tag type" for 'ncol', 'ncl2', 'desc', 'pseq', 'sig ', 'scrn', 'crdi', 'view' and 'bfd '.
const icmTypeCreator icm_more_creators[] = {
    {0, nullptr},
};
