// Curve, data, text, date and measurement tag types.
#ifndef ZENTU_ICC_ICC_TAGS_BASIC_H
#define ZENTU_ICC_ICC_TAGS_BASIC_H

// Included by icc/icc.h. The date type's structure, icmDateTimeNumber, is
// declared there already, since the header holds its creation date in it.
// Not built yet: 'curv', 'data', 'text', 'dtim' and 'meas'.

#endif
