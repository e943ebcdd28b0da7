// Array tag types: a count and that many elements after an 8-byte head.
#ifndef ZENTU_ICC_ICC_TAGS_ARRAYS_H
#define ZENTU_ICC_ICC_TAGS_ARRAYS_H

// Included by icc/icc.h.

struct icmUInt8Array : icmBase {  // 'ui08'
    unsigned int count;
    unsigned int *data;
};

struct icmUInt16Array : icmBase {  // 'ui16'
    unsigned int count;
    unsigned int *data;
};

struct icmUInt32Array : icmBase {  // 'ui32'
    unsigned int count;
    unsigned int *data;
};

struct icmUInt64Array : icmBase {  // 'ui64'
    unsigned int count;
    icmUint64 *data;
};

struct icmU16Fixed16Array : icmBase {  // 'uf32'
    unsigned int count;
    double *data;
};

struct icmS15Fixed16Array : icmBase {  // 'sf32'
    unsigned int count;
    double *data;
};

struct icmXYZArray : icmBase {  // 'XYZ '
    unsigned int count;
    icmXYZNumber *data;
};

icmBase *new_icmUInt8Array(icc *icp);
icmBase *new_icmUInt16Array(icc *icp);
icmBase *new_icmUInt32Array(icc *icp);
icmBase *new_icmUInt64Array(icc *icp);
icmBase *new_icmU16Fixed16Array(icc *icp);
icmBase *new_icmS15Fixed16Array(icc *icp);
icmBase *new_icmXYZArray(icc *icp);

#endif
