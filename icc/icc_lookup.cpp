// Lookup objects: the common part, the monochrome and matrix/shaper kinds,
// and the choice of object for a profile, function, intent and order.
#include "icc/icc_lookup_internal.h"

#include <cstdlib>

namespace {

constexpr uint32_t kXYZ = icmSig("XYZ ");
constexpr uint32_t kLab = icmSig("Lab ");

bool abs_intent(int intent) {
    return intent == 3 || intent == icmAbsoluteXYZIntent;
}

void lu_delete(iccLuBase *p) {
    free(p);
}

void put_spaces(uint32_t in, uint32_t out, uint32_t *ins, int *inn, uint32_t *outs, int *outn) {
    if (ins != nullptr)
        *ins = in;
    if (inn != nullptr)
        *inn = (int)colorspace2nchan(in);
    if (outs != nullptr)
        *outs = out;
    if (outn != nullptr)
        *outn = (int)colorspace2nchan(out);
}

void lu_spaces(iccLuBase *p, uint32_t *ins, int *inn, uint32_t *outs, int *outn) {
    put_spaces(p->in_space, p->out_space, ins, inn, outs, outn);
}

void lu_lu_spaces(iccLuBase *p, uint32_t *ins, int *inn, uint32_t *outs, int *outn, int *kind) {
    const bool xyz = p->intent == icmAbsoluteXYZIntent;
    put_spaces(xyz && icm_lu_abs_in(p) ? kXYZ : p->in_space, xyz && icm_lu_abs_out(p) ? kXYZ : p->out_space,
               ins, inn, outs, outn);
    if (kind != nullptr)
        *kind = p->kind;
}

// A curve evaluation's result: above 1 the lookup fails with the message.
int curve_result(iccLuBase *p, int rv, const char *msg) {
    if (rv > 1) {
        icm_err(p->profile, rv, "%s", msg);
        return 2;
    }
    return rv;
}

// ---------------------------------------------------------------- monochrome

int mono_fwd(iccLuBase *pp, double *out, const double *in) {
    auto *p = static_cast<iccLuMono *>(pp);
    double y;
    int rv = curve_result(p, p->curve->lookup_fwd(p->curve, &y, in),
                          "icc_lookup: Curve->lookup_fwd() failed");
    if (rv > 1)
        return rv;
    double v[3];
    if (p->out_space == kLab) {
        v[0] = 100.0 * y;  // the white as Lab is 100, 0, 0
        v[1] = v[2] = 0.0;
    } else {
        v[0] = p->pcs_white.X * y;
        v[1] = p->pcs_white.Y * y;
        v[2] = p->pcs_white.Z * y;
    }
    if (icm_lu_abs_out(p))
        icm_lu_rel_to_abs(p, p->out_space, v, v);
    for (int i = 0; i < 3; i++)
        out[i] = v[i];
    return rv;
}

int mono_bwd(iccLuBase *pp, double *out, const double *in) {
    auto *p = static_cast<iccLuMono *>(pp);
    double v[3] = {in[0], in[1], in[2]};
    if (icm_lu_abs_in(p))
        icm_lu_abs_to_rel(p, p->in_space, v, v);
    const double y = p->in_space == kLab ? v[0] / 100.0 : v[1] / p->pcs_white.Y;
    return curve_result(p, p->curve->lookup_bwd(p->curve, out, &y),
                        "icc_lookup: Curve->lookup_fwd() failed");
}

// ---------------------------------------------------------------- matrix/shaper

int matrix_fwd(iccLuBase *pp, double *out, const double *in) {
    auto *p = static_cast<iccLuMatrix *>(pp);
    double lin[3];
    int rv = 0;
    for (int i = 0; i < 3; i++) {
        const int r = p->curves[i]->lookup_fwd(p->curves[i], &lin[i], &in[i]);
        if (r > 1)
            return curve_result(p, r, "icc_lookup: Curve->lookup_fwd() failed");
        rv |= r;
    }
    double v[3];
    for (int i = 0; i < 3; i++)
        v[i] = p->matrix[i][0] * lin[0] + p->matrix[i][1] * lin[1] + p->matrix[i][2] * lin[2];
    if (icm_lu_abs_out(p))
        icmXYZRelToAbs(&p->pcs_white, &p->media_white, &p->media_black, v, v);
    if (p->out_space == kLab && p->intent != icmAbsoluteXYZIntent)
        icmXYZ2Lab(&p->pcs_white, v, v);
    for (int i = 0; i < 3; i++)
        out[i] = v[i];
    return rv;
}

int matrix_bwd(iccLuBase *pp, double *out, const double *in) {
    auto *p = static_cast<iccLuMatrix *>(pp);
    double v[3] = {in[0], in[1], in[2]};
    if (p->in_space == kLab && p->intent != icmAbsoluteXYZIntent)
        icmLab2XYZ(&p->pcs_white, v, v);
    if (icm_lu_abs_in(p))
        icmXYZAbsToRel(&p->pcs_white, &p->media_white, &p->media_black, v, v);
    double lin[3];
    for (int i = 0; i < 3; i++)
        lin[i] = p->matrix[i][0] * v[0] + p->matrix[i][1] * v[1] + p->matrix[i][2] * v[2];
    int rv = 0;
    for (int i = 0; i < 3; i++) {
        const int r = p->curves[i]->lookup_bwd(p->curves[i], &out[i], &lin[i]);
        if (r > 1)
            return curve_result(p, r, "icc_lookup: Curve->lookup_bwd() failed");
        rv |= r;
    }
    return rv;
}

// The first value of an 'XYZ ' tag; false when there is none.
bool xyz_value(icc *icp, uint32_t sig, icmXYZNumber *v) {
    icmBase *t = icm_lu_read_tag(icp, sig);
    if (t == nullptr || t->tag_type != kXYZ)
        return false;
    auto *a = static_cast<icmXYZArray *>(t);
    if (a->count < 1 || a->data == nullptr)
        return false;
    *v = a->data[0];
    return true;
}

// The device side has `device_chans` channels and the other side is a PCS:
// the lookups read and write exactly that many values.
bool spaces_fit(icc *icp, uint32_t in_space, uint32_t out_space, int backward,
                unsigned int device_chans) {
    if (icp->header == nullptr)  // no PCS white
        return false;
    const uint32_t device = backward ? out_space : in_space, pcs = backward ? in_space : out_space;
    return colorspace2nchan(device) == device_chans && icm_is_pcs(pcs);
}

}  // namespace

// ---------------------------------------------------------------- common part

void icm_lu_init(iccLuBase *p, int kind, icc *icp, uint32_t in_space, uint32_t out_space,
                 const icmXYZNumber *media_white, const icmXYZNumber *media_black, int intent,
                 int func) {
    p->kind = kind;
    p->profile = icp;
    p->intent = intent;
    p->function = func;
    p->pcs_white = icp->header->illuminant;
    p->media_white = *media_white;
    p->media_black = *media_black;
    p->in_space = in_space;
    p->out_space = out_space;
    p->del = lu_delete;
    p->spaces = lu_spaces;
    p->lu_spaces = lu_lu_spaces;
}

bool icm_lu_forward(const iccLuBase *p) {
    if (p->kind == icmLuLutKind)
        return p->function == icmFwd;
    return p->kind == icmLuMonoFwdKind || p->kind == icmLuMatrixFwdKind;
}

bool icm_lu_backward(const iccLuBase *p) {
    if (p->kind == icmLuLutKind)
        return p->function == icmBwd;
    return p->kind == icmLuMonoBwdKind || p->kind == icmLuMatrixBwdKind;
}

// A side that is not a PCS (a link's device spaces) has no white to scale by.
bool icm_lu_abs_out(const iccLuBase *p) {
    return abs_intent(p->intent) && icm_lu_forward(p) && icm_is_pcs(p->out_space);
}

bool icm_lu_abs_in(const iccLuBase *p) {
    return abs_intent(p->intent) && icm_lu_backward(p) && icm_is_pcs(p->in_space);
}

void icm_lu_rel_to_abs(const iccLuBase *p, uint32_t space, double *out, const double *in) {
    double v[3] = {in[0], in[1], in[2]};
    if (space == kLab)
        icmLab2XYZ(&p->pcs_white, v, v);
    icmXYZRelToAbs(&p->pcs_white, &p->media_white, &p->media_black, v, v);
    if (space == kLab && p->intent != icmAbsoluteXYZIntent)
        icmXYZ2Lab(&p->pcs_white, v, v);
    for (int i = 0; i < 3; i++)
        out[i] = v[i];
}

void icm_lu_abs_to_rel(const iccLuBase *p, uint32_t space, double *out, const double *in) {
    double v[3] = {in[0], in[1], in[2]};
    if (space == kLab && p->intent != icmAbsoluteXYZIntent)
        icmLab2XYZ(&p->pcs_white, v, v);
    icmXYZAbsToRel(&p->pcs_white, &p->media_white, &p->media_black, v, v);
    if (space == kLab)
        icmXYZ2Lab(&p->pcs_white, v, v);
    for (int i = 0; i < 3; i++)
        out[i] = v[i];
}

icmBase *icm_lu_read_tag(icc *icp, uint32_t sig) {
    // Looked for first: a missing tag is an ordinary failed try, not an error.
    if (icp->find_tag(icp, sig) == 2)
        return nullptr;
    return icp->read_tag(icp, sig);
}

icmCurve *icm_lu_curve(icc *icp, uint32_t sig) {
    icmBase *t = icm_lu_read_tag(icp, sig);
    if (t == nullptr || t->tag_type != icmSig("curv"))
        return nullptr;
    return static_cast<icmCurve *>(t);
}

// ---------------------------------------------------------------- constructors

iccLuBase *icc_new_iccLuMono(icc *icp, uint32_t in_space, uint32_t out_space,
                             const icmXYZNumber *media_white, const icmXYZNumber *media_black,
                             int intent, int func, int backward) {
    if (!spaces_fit(icp, in_space, out_space, backward, 1))
        return nullptr;
    icmCurve *curve = icm_lu_curve(icp, icmSig("kTRC"));
    if (curve == nullptr)
        return nullptr;
    auto *p = static_cast<iccLuMono *>(calloc(1, sizeof(iccLuMono)));
    if (p == nullptr) {
        icm_err(icp, 2, "icc_new_iccLuMono: malloc() failed");
        return nullptr;
    }
    icm_lu_init(p, backward ? icmLuMonoBwdKind : icmLuMonoFwdKind, icp, in_space, out_space,
                media_white, media_black, intent, func);
    p->curve = curve;
    p->lookup = backward ? mono_bwd : mono_fwd;
    return p;
}

iccLuBase *icc_new_iccLuMatrix(icc *icp, uint32_t in_space, uint32_t out_space,
                               const icmXYZNumber *media_white, const icmXYZNumber *media_black,
                               int intent, int func, int backward) {
    if (!spaces_fit(icp, in_space, out_space, backward, 3))
        return nullptr;
    static const uint32_t trcs[3] = {icmSig("rTRC"), icmSig("gTRC"), icmSig("bTRC")};
    static const uint32_t colorants[3] = {icmSig("rXYZ"), icmSig("gXYZ"), icmSig("bXYZ")};
    icmCurve *curves[3];
    icmXYZNumber cols[3];
    for (int i = 0; i < 3; i++) {
        curves[i] = icm_lu_curve(icp, trcs[i]);
        if (curves[i] == nullptr || !xyz_value(icp, colorants[i], &cols[i]))
            return nullptr;
    }
    auto *p = static_cast<iccLuMatrix *>(calloc(1, sizeof(iccLuMatrix)));
    if (p == nullptr) {
        icm_err(icp, 2, "icc_new_iccLuMatrix: malloc() failed");
        return nullptr;
    }
    icm_lu_init(p, backward ? icmLuMatrixBwdKind : icmLuMatrixFwdKind, icp, in_space, out_space,
                media_white, media_black, intent, func);
    for (int i = 0; i < 3; i++) {
        p->curves[i] = curves[i];
        p->matrix[0][i] = cols[i].X;
        p->matrix[1][i] = cols[i].Y;
        p->matrix[2][i] = cols[i].Z;
    }
    if (backward && icmInverse3x3(p->matrix, p->matrix) != 0) {
        icm_err(icp, 2, "icc_new_iccLuMatrix: Matrix wasn't invertable");
        p->del(p);
        return nullptr;
    }
    p->lookup = backward ? matrix_bwd : matrix_fwd;
    return p;
}

// ---------------------------------------------------------------- the choice

namespace {

struct Request {
    icc *p;
    int func;
    int intent;
    int order;
    icmXYZNumber white, black;
};

iccLuBase *refuse(icc *p, const char *msg) {
    icm_err(p, 1, "%s", msg);
    return nullptr;
}

// Every try failed: their messages stand, or else this one.
iccLuBase *none_built(icc *p) {
    if (p->error_code == 0)
        icm_err(p, 1, "icc_get_luobj: Profile has no usable tags for the lookup requested");
    return nullptr;
}

iccLuBase *lut_only(const Request &r, uint32_t table, uint32_t in, uint32_t out, int intent) {
    iccLuBase *lu = icc_new_iccLuLut(r.p, table, in, out, &r.white, &r.black, intent, r.func);
    return lu != nullptr ? lu : none_built(r.p);
}

// The Lut, matrix/shaper and monochrome tries, reversed by order 1.
iccLuBase *try_three(const Request &r, uint32_t table) {
    const icmHeader *h = r.p->header;
    const int bwd = r.func == icmBwd;
    const uint32_t in = bwd ? h->pcs : h->colorSpace, out = bwd ? h->colorSpace : h->pcs;
    for (int k = 0; k < 3; k++) {
        const int which = r.order == icmLuOrdRev ? 2 - k : k;
        iccLuBase *lu;
        if (which == 0)
            lu = icc_new_iccLuLut(r.p, table, in, out, &r.white, &r.black, r.intent, r.func);
        else if (which == 1)
            lu = icc_new_iccLuMatrix(r.p, in, out, &r.white, &r.black, r.intent, r.func, bwd);
        else
            lu = icc_new_iccLuMono(r.p, in, out, &r.white, &r.black, r.intent, r.func, bwd);
        if (lu != nullptr)
            return lu;
    }
    return none_built(r.p);
}

iccLuBase *input_display(Request r) {
    if (r.intent != icmDefaultIntent && r.intent != 3 && r.intent != icmAbsoluteXYZIntent)
        return refuse(r.p, "icc_get_luobj: Intent is inappropriate for Input/Display profile");
    if (r.func == icmFwd)
        return try_three(r, icmSig("A2B0"));
    if (r.func == icmBwd)
        return try_three(r, icmSig("B2A0"));
    return refuse(r.p, "icc_get_luobj: Inaproptiate function requested");
}

iccLuBase *output(Request r) {
    const uint32_t pcs = r.p->header->pcs;
    if (r.func == icmFwd || r.func == icmBwd) {
        if (r.intent == icmDefaultIntent)
            r.intent = 1;
        static const uint32_t fwd[3] = {icmSig("A2B0"), icmSig("A2B1"), icmSig("A2B2")};
        static const uint32_t bwd[3] = {icmSig("B2A0"), icmSig("B2A1"), icmSig("B2A2")};
        int table;
        if (r.intent == 0 || r.intent == 2)
            table = r.intent;
        else if (r.intent == 1 || abs_intent(r.intent))
            table = 1;
        else
            return refuse(r.p, "icc_get_luobj: Unknown intent");
        return try_three(r, (r.func == icmFwd ? fwd : bwd)[table]);
    }
    if (r.func == icmGamut) {
        if (r.intent != icmDefaultIntent)
            return refuse(r.p, "icc_get_luobj: Intent is inappropriate for type of function");
        return lut_only(r, icmSig("gamt"), pcs, icmSig("GRAY"), r.intent);
    }
    if (r.func == icmPreview) {
        static const uint32_t pre[3] = {icmSig("pre0"), icmSig("pre1"), icmSig("pre2")};
        if (r.intent >= 0 && r.intent <= 2)
            return lut_only(r, pre[r.intent], pcs, pcs, r.intent);
        if (abs_intent(r.intent))
            return refuse(r.p, "icc_get_luobj: Intent is inappropriate for type of function");
        return refuse(r.p, "icc_get_luobj: Unknown intent");
    }
    return refuse(r.p, "icc_get_luobj: Inaproptiate function requested");
}

// Link, abstract and colour space profiles: one Lut each way.
iccLuBase *one_lut_each_way(const Request &r, int intent) {
    const icmHeader *h = r.p->header;
    if (r.func == icmFwd)
        return lut_only(r, icmSig("A2B0"), h->colorSpace, h->pcs, intent);
    if (r.func == icmBwd)
        return lut_only(r, icmSig("B2A0"), h->pcs, h->colorSpace, intent);
    return refuse(r.p, "icc_get_luobj: Inaproptiate function requested");
}

}  // namespace

iccLuBase *icc_get_luobj(icc *p, int func, int intent, int order) {
    if (icc_check_legal(p) != 0)
        return nullptr;
    Request r = {p, func, intent, order, {0, 0, 0}, {0, 0, 0}};
    if (!xyz_value(p, icmSig("wtpt"), &r.white))
        return refuse(p, "icc_lookup: Profile is missing Media White Point Tag");
    if (!xyz_value(p, icmSig("bkpt"), &r.black))
        r.black = {0, 0, 0};
    // From here a null result always leaves a message of this request.
    p->error_code = 0;
    p->error_text[0] = '\0';

    const icmHeader *h = p->header;
    switch (h->deviceClass) {
    case icmSig("scnr"):
    case icmSig("mntr"):
        return input_display(r);
    case icmSig("prtr"):
        return output(r);
    case icmSig("link"):
        // The default intent, or the one the link was made for, which it keeps.
        if (intent != icmDefaultIntent && (uint32_t)intent != h->renderingIntent)
            return refuse(p, "icc_get_luobj: Intent is inappropriate for Link profile");
        return one_lut_each_way(r, (int)h->renderingIntent);
    case icmSig("abst"):
        if (intent != icmDefaultIntent)
            return refuse(p, "icc_get_luobj: Intent is inappropriate for Abstract profile");
        return one_lut_each_way(r, intent);
    case icmSig("spac"):
        if (intent != icmDefaultIntent)
            return refuse(p, "icc_get_luobj: Intent is inappropriate for Colorspace profile");
        return one_lut_each_way(r, intent);
    case icmSig("nmcl"):
        if (intent == icmDefaultIntent)
            return refuse(p, "icc_get_luobj: Named Colors not handled yet");
        return refuse(p, "icc_get_luobj: Intent is inappropriate for Named Color profile");
    default:
        return refuse(p, "icc_get_luobj: Unknown profile class");
    }
}
