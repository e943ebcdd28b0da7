// Named colour, description, sequence, signature, screening, CRD, viewing and UCR/BG tag types.
#ifndef ZENTU_ICC_ICC_TAGS_MORE_H
#define ZENTU_ICC_ICC_TAGS_MORE_H

// Included by icc/icc.h. Not built yet: 'ncol', 'ncl2', 'desc', 'pseq', 'sig ', 'scrn', 'crdi', 'view' and 'bfd '.

#endif
