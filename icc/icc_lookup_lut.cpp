// The Lut lookup object: an 'mft1' or 'mft2' tag evaluated between two
// colour spaces, stage by stage.
#include "icc/icc_lookup_internal.h"

#include <cmath>
#include <cstdlib>
#include <initializer_list>

namespace {

constexpr unsigned int kMax = icmLutMaxChan;

void copy_values(double *out, const double *in, unsigned int n) {
    for (unsigned int i = 0; i < n; i++)
        out[i] = in[i];
}

// A stage's result joined to the results so far; a failure stays 2.
int join(int sofar, int rv) {
    return sofar > 1 || rv > 1 ? 2 : (sofar | rv);
}

// Scales the PCS side between relative and absolute where the intent and
// direction ask for it (applies), else copies n values.
int scale_or_copy(iccLuLut *p, bool applies, bool to_abs, uint32_t space, unsigned int n,
                  double *out, const double *in) {
    if (!applies)
        copy_values(out, in, n);
    else if (to_abs)
        icm_lu_rel_to_abs(p, space, out, in);
    else
        icm_lu_abs_to_rel(p, space, out, in);
    return 0;
}

int lut_in_abs(iccLuLut *p, double *out, const double *in) {
    return scale_or_copy(p, icm_lu_abs_in(p), false, p->in_space, p->lut->input_channels, out, in);
}

int lut_inv_in_abs(iccLuLut *p, double *out, const double *in) {
    return scale_or_copy(p, icm_lu_abs_in(p), true, p->in_space, p->lut->input_channels, out, in);
}

int lut_out_abs(iccLuLut *p, double *out, const double *in) {
    return scale_or_copy(p, icm_lu_abs_out(p), true, p->out_space, p->lut->output_channels, out, in);
}

int lut_inv_out_abs(iccLuLut *p, double *out, const double *in) {
    return scale_or_copy(p, icm_lu_abs_out(p), false, p->out_space, p->lut->output_channels, out, in);
}

int lut_matrix_stage(iccLuLut *p, double *out, const double *in) {
    if (p->use_matrix)
        return p->lut->lookup_matrix(p->lut, out, in);
    copy_values(out, in, p->lut->input_channels);
    return 0;
}

int lut_inv_matrix_stage(iccLuLut *p, double *out, const double *in) {
    if (!p->use_matrix) {
        copy_values(out, in, p->lut->input_channels);
        return 0;
    }
    if (!p->inv_matrix_valid) {
        if (icmInverse3x3(p->inv_matrix, p->lut->matrix) != 0)
            return icm_err(p->profile, 2, "icc_new_iccLuMatrix: Matrix wasn't invertable");
        p->inv_matrix_valid = 1;
    }
    const double(*m)[3] = p->inv_matrix;
    double t[3];
    for (int i = 0; i < 3; i++)
        t[i] = m[i][0] * in[0] + m[i][1] * in[1] + m[i][2] * in[2];
    copy_values(out, t, 3);
    return 0;
}

int lut_input_stage(iccLuLut *p, double *out, const double *in) {
    double t[kMax];
    p->in_normf(t, in);
    const int rv = p->lut->lookup_input(p->lut, t, t);
    p->in_denormf(out, t);
    return rv;
}

int lut_clut_stage(iccLuLut *p, double *out, const double *in) {
    double t[kMax];
    p->in_normf(t, in);
    const int rv = p->lookup_clut(p->lut, t, t);
    p->out_denormf(out, t);
    return rv;
}

int lut_output_stage(iccLuLut *p, double *out, const double *in) {
    double t[kMax];
    p->out_normf(t, in);
    const int rv = p->lut->lookup_output(p->lut, t, t);
    p->out_denormf(out, t);
    return rv;
}

// The whole lookup in a working array of the most channels a Lut has, so
// that the caller's arrays see only their own spaces' channels.
int lut_lookup(iccLuBase *pp, double *out, const double *in) {
    auto *p = static_cast<iccLuLut *>(pp);
    icmLut *l = p->lut;
    double t[kMax] = {};
    copy_values(t, in, l->input_channels);
    int rv = p->in_abs(p, t, t);
    rv = join(rv, p->matrix_stage(p, t, t));
    p->in_normf(t, t);
    rv = join(rv, l->lookup_input(l, t, t));
    rv = join(rv, p->lookup_clut(l, t, t));
    if (rv > 1)
        return rv;
    rv = join(rv, l->lookup_output(l, t, t));
    p->out_denormf(t, t);
    rv = join(rv, p->out_abs(p, t, t));
    copy_values(out, t, l->output_channels);
    return rv;
}

void lut_get_info(iccLuLut *p, icmLut **lut, icmXYZNumber *pcs_white, icmXYZNumber *white,
                  icmXYZNumber *black) {
    if (lut != nullptr)
        *lut = p->lut;
    if (pcs_white != nullptr)
        *pcs_white = p->pcs_white;
    if (white != nullptr)
        *white = p->media_white;
    if (black != nullptr)
        *black = p->media_black;
}

void ranges(icmLutSpaceFunc denorm, unsigned int n, double *min, double *max) {
    double lo[kMax], hi[kMax];
    for (unsigned int i = 0; i < kMax; i++) {
        lo[i] = 0.0;
        hi[i] = 1.0;
    }
    denorm(lo, lo);
    denorm(hi, hi);
    for (unsigned int i = 0; i < n; i++) {
        min[i] = lo[i] > hi[i] ? hi[i] : lo[i];
        max[i] = lo[i] > hi[i] ? lo[i] : hi[i];
    }
}

void lut_get_ranges(iccLuLut *p, double *inmin, double *inmax, double *outmin, double *outmax) {
    ranges(p->in_denormf, p->lut->input_channels, inmin, inmax);
    ranges(p->out_denormf, p->lut->output_channels, outmin, outmax);
}

bool one_of(uint32_t space, std::initializer_list<const char *> sigs) {
    for (const char *s : sigs)
        if (str2tag(s) == space)
            return true;
    return false;
}

// Simplex interpolation where the table runs along the grid's main diagonal
// (device spaces, where all channels move the colour one way), multilinear
// where it does not (PCS-like spaces). A space not named either way is
// judged by where the table's extremes lie.
bool choose_simplex(icmLut *l, uint32_t in_space, uint32_t out_space) {
    if (one_of(in_space, {"Lab ", "Luv ", "XYZ ", "HLS ", "HSV ", "YCbr", "Yxy "}))
        return false;
    if (one_of(in_space, {"RGB ", "CMY ", "CMYK", "GRAY", "MCH6"}))
        return true;
    int chan;
    if (one_of(out_space, {"Lab ", "Luv ", "YCbr", "Yxy "}))
        chan = 0;
    else if (one_of(out_space, {"XYZ ", "HLS "}))
        chan = 1;
    else if (one_of(out_space, {"HSV "}))
        chan = 2;
    else if (one_of(out_space, {"RGB ", "CMY ", "CMYK", "GRAY", "MCH6"}))
        chan = -1;  // the sum of all outputs
    else
        return true;
    double min[kMax], max[kMax];
    l->clut_min_max(l, min, max, chan);
    const unsigned int n = l->input_channels;
    double sum = 0.0, len = 0.0;
    for (unsigned int e = 0; e < n; e++) {
        const double d = max[e] - min[e];
        sum += d;
        len += d * d;
    }
    len = len > 0.0 ? std::sqrt(len) : 1.0;
    return std::fabs(sum / (len * std::sqrt((double)n))) > 0.8;
}

iccLuBase *refuse(iccLuLut *p, const char *msg) {
    icm_err(p->profile, 1, "%s", msg);
    p->del(p);
    return nullptr;
}

}  // namespace

iccLuBase *icc_new_iccLuLut(icc *icp, uint32_t table_sig, uint32_t in_space, uint32_t out_space,
                            const icmXYZNumber *media_white, const icmXYZNumber *media_black,
                            int intent, int func) {
    if (icp->header == nullptr)
        return nullptr;
    icmBase *t = icm_lu_read_tag(icp, table_sig);
    if (t == nullptr || (t->tag_type != icmSig("mft1") && t->tag_type != icmSig("mft2")))
        return nullptr;
    auto *p = static_cast<iccLuLut *>(calloc(1, sizeof(iccLuLut)));
    if (p == nullptr) {
        icm_err(icp, 2, "icc_new_iccLuLut: malloc() failed");
        return nullptr;
    }
    icm_lu_init(p, icmLuLutKind, icp, in_space, out_space, media_white, media_black, intent, func);
    icmLut *l = static_cast<icmLut *>(t);
    p->lut = l;
    p->use_matrix = in_space == icmSig("XYZ ") && l->matrix_is_not_identity(l);

    const uint32_t type = l->tag_type;
    if (icmLutSpaceConversion(in_space, type, icmLutSpaceToIndex, &p->in_normf) != 0 ||
        icmLutSpaceConversion(in_space, type, icmLutIndexToSpace, &p->in_denormf) != 0)
        return refuse(p, "icc_get_luobj: Unknown device colorspace");
    if (icmLutSpaceConversion(out_space, type, icmLutSpaceToIndex, &p->out_normf) != 0 ||
        icmLutSpaceConversion(out_space, type, icmLutIndexToSpace, &p->out_denormf) != 0)
        return refuse(p, "icc_get_luobj: Unknown PCS colorspace");
    // The conversions and the caller's arrays follow the spaces, the stages
    // the Lut: they must agree, or values are read and written past the arrays.
    if (l->input_channels != colorspace2nchan(in_space) ||
        l->output_channels != colorspace2nchan(out_space))
        return refuse(p, "icc_get_luobj: Lut channels don't match the colorspaces");

    p->lookup_clut = choose_simplex(l, in_space, out_space) ? l->icmLut_lookup_clut_sx : l->icmLut_lookup_clut;
    p->lookup = lut_lookup;
    p->in_abs = lut_in_abs;
    p->matrix_stage = lut_matrix_stage;
    p->input_stage = lut_input_stage;
    p->clut_stage = lut_clut_stage;
    p->output_stage = lut_output_stage;
    p->out_abs = lut_out_abs;
    p->inv_in_abs = lut_inv_in_abs;
    p->inv_matrix_stage = lut_inv_matrix_stage;
    p->inv_out_abs = lut_inv_out_abs;
    p->get_info = lut_get_info;
    p->get_ranges = lut_get_ranges;
    return p;
}
