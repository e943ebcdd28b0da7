// Colour maths and the lookup objects that turn a profile into a colour
// transform.
#ifndef ZENTU_ICC_ICC_LOOKUP_H
#define ZENTU_ICC_ICC_LOOKUP_H

// Included by icc/icc.h.

// PCS conversions relative to a white point (XYZ); out may be in.
void icmXYZ2Lab(const icmXYZNumber *w, double *out, const double *in);
void icmLab2XYZ(const icmXYZNumber *w, double *out, const double *in);

// Inverse of a 3 by 3 matrix: 0, or 1 when it is singular (|det| < 1e-8)
// and nothing was written.
int icmInverse3x3(double out[3][3], const double in[3][3]);
double icmDet3x3(const double in[3][3]);
void icmAdjoint3x3(double out[3][3], const double in[3][3]);  // transposed cofactors

// Absolute colorimetric scaling of XYZ values between the PCS white (the
// header's illuminant) and the media white and black points; out may be in.
void icmXYZRelToAbs(const icmXYZNumber *pcs_white, const icmXYZNumber *media_white,
                    const icmXYZNumber *media_black, double *out, const double *in);
void icmXYZAbsToRel(const icmXYZNumber *pcs_white, const icmXYZNumber *media_white,
                    const icmXYZNumber *media_black, double *out, const double *in);

// What a lookup computes.
enum {
    icmFwd = 0,      // device space to PCS (A2B tables)
    icmBwd = 1,      // PCS to device space (B2A tables)
    icmGamut = 2,    // PCS to one in/out-of-gamut channel ('gamt')
    icmPreview = 3,  // PCS to PCS (pre0 to pre2)
};

// Intents beside the four ICC ones (0 to 3).
enum {
    icmDefaultIntent = 98,    // the profile's own table
    icmAbsoluteXYZIntent = 99,  // absolute colorimetric, PCS side exchanged as XYZ
};

// Order of the tries: Lut, matrix/shaper, monochrome; reversed by 1.
enum {
    icmLuOrdNorm = 0,
    icmLuOrdRev = 1,
};

// Kinds of lookup object.
enum {
    icmLuMonoFwdKind = 0,
    icmLuMonoBwdKind = 1,
    icmLuMatrixFwdKind = 2,
    icmLuMatrixBwdKind = 3,
    icmLuLutKind = 4,
};

// Common part of the lookup objects. The tags it evaluates belong to the
// profile, which must outlive it and keep them loaded; `del` frees the
// object alone.
struct iccLuBase {
    int kind;
    icc *profile;
    int intent;
    int function;
    icmXYZNumber pcs_white;  // the header's illuminant
    icmXYZNumber media_white;
    icmXYZNumber media_black;
    uint32_t in_space;
    uint32_t out_space;

    void (*del)(iccLuBase *p);
    // Spaces and channel counts converted between; any pointer may be null.
    void (*spaces)(iccLuBase *p, uint32_t *ins, int *inn, uint32_t *outs, int *outn);
    // The same as the lookup takes and gives them (intent 99 exchanges 'XYZ '
    // on the PCS side), and the kind.
    void (*lu_spaces)(iccLuBase *p, uint32_t *ins, int *inn, uint32_t *outs, int *outn, int *kind);
    // Reads the input channels and writes the output channels that lu_spaces
    // tells (out may be in): 0, 1 when a curve or table input was clipped or
    // approximated, 2 on failure with the message in the profile.
    int (*lookup)(iccLuBase *p, double *out, const double *in);
};

struct iccLuMono : iccLuBase {
    icmCurve *curve;  // 'kTRC'
};

struct iccLuMatrix : iccLuBase {
    icmCurve *curves[3];  // 'rTRC', 'gTRC', 'bTRC'
    double matrix[3][3];  // rows X, Y, Z; columns red, green, blue; inverted when backward
};

struct iccLuLut : iccLuBase {
    icmLut *lut;
    int use_matrix;             // XYZ input through a matrix that is not the identity
    double inv_matrix[3][3];    // the Lut's matrix inverted, once needed
    int inv_matrix_valid;
    // Conversions between the spaces and the Lut's index values, as
    // icmLutSpaceConversion gives them (icc/icc_lutspaces.h).
    void (*in_normf)(double *out, const double *in);  // input space to index values
    void (*in_denormf)(double *out, const double *in);
    void (*out_normf)(double *out, const double *in);  // output space to index values
    void (*out_denormf)(double *out, const double *in);
    int (*lookup_clut)(icmLut *p, double *out, const double *in);  // multilinear or simplex

    // The stages of the lookup, one by one; out may be in.
    int (*in_abs)(iccLuLut *p, double *out, const double *in);
    int (*matrix_stage)(iccLuLut *p, double *out, const double *in);
    int (*input_stage)(iccLuLut *p, double *out, const double *in);
    int (*clut_stage)(iccLuLut *p, double *out, const double *in);
    int (*output_stage)(iccLuLut *p, double *out, const double *in);
    int (*out_abs)(iccLuLut *p, double *out, const double *in);
    int (*inv_in_abs)(iccLuLut *p, double *out, const double *in);
    int (*inv_matrix_stage)(iccLuLut *p, double *out, const double *in);
    int (*inv_out_abs)(iccLuLut *p, double *out, const double *in);
    // Any pointer may be null.
    void (*get_info)(iccLuLut *p, icmLut **lut, icmXYZNumber *pcs_white, icmXYZNumber *white,
                     icmXYZNumber *black);
    // Per channel, the real values of index values 0 and 1, smaller first.
    void (*get_ranges)(iccLuLut *p, double *inmin, double *inmax, double *outmin, double *outmax);
};

// The profile object's get_luobj: a new lookup object, or null with the
// profile's error text and code saying why.
iccLuBase *icc_get_luobj(icc *p, int func, int intent, int order);

// Constructors; null when the tags do not make the object (freed, with a
// message when one is due).
iccLuBase *icc_new_iccLuMono(icc *icp, uint32_t in_space, uint32_t out_space,
                             const icmXYZNumber *media_white, const icmXYZNumber *media_black,
                             int intent, int func, int backward);
iccLuBase *icc_new_iccLuMatrix(icc *icp, uint32_t in_space, uint32_t out_space,
                               const icmXYZNumber *media_white, const icmXYZNumber *media_black,
                               int intent, int func, int backward);
iccLuBase *icc_new_iccLuLut(icc *icp, uint32_t table_sig, uint32_t in_space, uint32_t out_space,
                            const icmXYZNumber *media_white, const icmXYZNumber *media_black,
                            int intent, int func);

#endif
