// Curve, data, text, date and measurement tag types.
#ifndef ZENTU_ICC_ICC_TAGS_BASIC_H
#define ZENTU_ICC_ICC_TAGS_BASIC_H

// Included by icc/icc.h. The date type's structure, icmDateTimeNumber, is
// declared there already, since the header holds its creation date in it.

// Kinds of curve, the values of icmCurve::flag.
enum {
    icmCurveUndef = -1,  // not set yet: allocate refuses it
    icmCurveLin = 0,     // no entries
    icmCurveGamma = 1,   // one entry, the exponent
    icmCurveSpec = 2,    // a table of 2 or more entries
};

struct icmCurve : icmBase {  // 'curv'
    int flag;
    unsigned int count;
    double *data;  // the exponent, or the table entries 0.0 to 1.0
    // Forward: 0, or 1 when a table input was clipped into range.
    int (*lookup_fwd)(icmCurve *p, double *out, const double *in);
    // Reverse: 0; 1 when no table segment holds the value and the nearest
    // entry was taken; 2 when the search structure cannot be had.
    int (*lookup_bwd)(icmCurve *p, double *out, const double *in);

    // Search structure of the reverse evaluation, built on its first use.
    double rev_min, rev_max;  // smallest and largest entry
    double rev_width;         // width of one bucket
    int rev_buckets;
    // One list a bucket: [0] its allocated length, [1] the ints in use
    // including these two, then the segments reaching into the bucket.
    int **rev_lists;
};

enum {
    icmDataAscii = 0,
    icmDataBinary = 1,
};

struct icmData : icmBase {  // 'data'
    int flag;  // -1 until set, icmDataAscii or icmDataBinary
    unsigned int count;
    unsigned char *data;
};

struct icmText : icmBase {  // 'text'
    unsigned int count;  // characters including the terminating NUL
    char *data;
};

struct icmMeasurement : icmBase {  // 'meas'
    int observer;
    icmXYZNumber backing;
    int geometry;
    double flare;  // 0.0 to 1.0
    int illuminant;
};

icmBase *new_icmCurve(icc *icp);
icmBase *new_icmData(icc *icp);
icmBase *new_icmText(icc *icp);
icmBase *new_icmDateTimeNumber(icc *icp);  // holds the current local time
icmBase *new_icmMeasurement(icc *icp);

// Texts of the measurement fields; an unknown value is formatted into the
// function's one static buffer.
const char *observer2str(int observer);
const char *geometry2str(int geometry);
const char *illuminant2str(int illuminant);
const char *flare2str(double flare);

#endif
