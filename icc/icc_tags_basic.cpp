// Curve, data, text, date and measurement tag types.
#include "icc/icc_internal.h"

// Creation routines of the types built here; until then the profile answers
// "Unhandled tag type" for 'curv', 'data', 'text', 'dtim' and 'meas'.
const icmTypeCreator icm_basic_creators[] = {
    {0, nullptr},
};
