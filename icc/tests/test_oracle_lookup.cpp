// Lookup objects of the version 2 oracle profiles against LittleCMS
// transforms made without optimisation. Inputs are multiples of 1/65535
// (in a Lut's index space), where LittleCMS evaluates its 16-bit tables.
#include "support.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <cmath>
#include <memory>
#include <random>

using namespace icctest;

namespace {

// A transform to XYZ or Lab (doubles) without optimisation.
struct Xform {
    cmsHPROFILE pcs;
    cmsHTRANSFORM t;
    Xform(void *in, cmsUInt32Number in_fmt, cmsUInt32Number intent, bool lab)
        : pcs(lab ? cmsCreateLab4Profile(nullptr) : cmsCreateXYZProfile()),
          t(cmsCreateTransform(in, in_fmt, pcs, lab ? TYPE_Lab_DBL : TYPE_XYZ_DBL, intent,
                               cmsFLAGS_NOOPTIMIZE)) {}
    ~Xform() {
        if (t != nullptr)
            cmsDeleteTransform(t);
        cmsCloseProfile(pcs);
    }
    void run(const double *in, double *out) const { cmsDoTransform(t, in, out, 1); }
};

double q16(double v) {
    return std::round(v * 65535.0) / 65535.0;
}

// Largest slope of a table of n entries spread over 0 to 1.
double max_slope(const double *t, unsigned int n) {
    double s = 0.0;
    for (unsigned int i = 0; i + 1 < n; i++)
        s = std::max(s, std::fabs(t[i + 1] - t[i]) * (n - 1));
    return s;
}

// Error bounds. LittleCMS evaluates a 16-bit table curve in 16-bit steps: it
// rounds what enters (half a step, times the curve's slope) and what leaves
// (half a step); the float arithmetic around it adds the last term.
constexpr double kStep = 1.0 / 65535;

double curve_bound(icmCurve *c) {
    return c->flag == icmCurveSpec ? 0.5 * kStep * (1.0 + max_slope(c->data, c->count)) : 0.0;
}

// Matrix/shaper RGB and gray profiles with an XYZ PCS: forward to XYZ as
// LittleCMS's relative colorimetric transform, and back to the grid.
TEST(IccLookupOracle, MatrixAndGrayProfilesAgreeWithLittleCms) {
    int rgb = 0, gray = 0;
    for (const OracleProfile *o : v2_oracle_profiles()) {
        const uint32_t cs = get32(o->data, 16), pcs = get32(o->data, 20);
        if (pcs != icmSig("XYZ ") || (cs != icmSig("RGB ") && cs != icmSig("GRAY")))
            continue;
        SCOPED_TRACE(o->path);
        Loaded l = load(o->data);
        ASSERT_EQ(l.rv, 0);
        Lu fwd(l.p->get_luobj(l.p, icmFwd, icmDefaultIntent, icmLuOrdNorm));
        ASSERT_TRUE(fwd) << l.p->error_text;
        if (fwd->kind == icmLuLutKind)
            continue;
        Lu bwd(l.p->get_luobj(l.p, icmBwd, icmDefaultIntent, icmLuOrdNorm));
        ASSERT_TRUE(bwd) << l.p->error_text;
        const bool is_gray = fwd->kind == icmLuMonoFwdKind;
        const int nch = is_gray ? 1 : 3;
        icmCurve *curves[3];
        double rows[3] = {};  // how far each XYZ value moves with the curves' results
        if (is_gray) {
            curves[0] = static_cast<iccLuMono *>(fwd.get())->curve;
            rows[0] = rows[1] = rows[2] = 1.0;
        } else {
            auto *m = static_cast<iccLuMatrix *>(fwd.get());
            for (int i = 0; i < 3; i++) {
                curves[i] = m->curves[i];
                for (int j = 0; j < 3; j++)
                    rows[i] += std::fabs(m->matrix[i][j]);
            }
        }
        double curve_err = 0.0;
        for (int e = 0; e < nch; e++)
            curve_err = std::max(curve_err, curve_bound(curves[e]));
        // A gray profile scales the header's illuminant, LittleCMS its exact
        // D50, which the header's s15Fixed16 holds to half of 1/65536.
        const double tol = curve_err * std::max({rows[0], rows[1], rows[2]}) + 0.5 / 65536 + 1e-6;

        LcmsProfile lc(o->data);
        Xform x(lc.h, is_gray ? TYPE_GRAY_DBL : TYPE_RGB_DBL, INTENT_RELATIVE_COLORIMETRIC, false);
        ASSERT_NE(x.t, nullptr);
        const int n = is_gray ? 101 : 9 * 9 * 9;
        for (int k = 0; k < n; k++) {
            double in[3] = {q16(k / 100.0)}, ours[3], theirs[3], back[3];
            if (!is_gray)
                for (int e = 0, r = k; e < 3; e++, r /= 9)
                    in[e] = q16((r % 9) / 8.0);
            ASSERT_LE(fwd->lookup(fwd.get(), ours, in), 1);
            x.run(in, theirs);
            for (int e = 0; e < 3; e++)
                ASSERT_NEAR(ours[e], theirs[e], tol) << "input " << k << " XYZ " << e;
            ASSERT_LE(bwd->lookup(bwd.get(), back, ours), 1);
            for (int e = 0; e < nch; e++) {
                // Where a curve is flat (log curves clip) any input of the
                // flat part is right. Elsewhere only double rounding near
                // black, which a gamma's inverse magnifies (1e-16 to 2.2 is
                // 5e-8), stands between.
                double at_in, at_back;
                curves[e]->lookup_fwd(curves[e], &at_in, &in[e]);
                curves[e]->lookup_fwd(curves[e], &at_back, &back[e]);
                if (std::fabs(at_in - at_back) > 1e-12) {
                    ASSERT_NEAR(back[e], in[e], 1e-6) << "input " << k << " channel " << e;
                }
            }
        }
        (is_gray ? gray : rgb)++;
    }
    EXPECT_GE(rgb, 5);
    EXPECT_GE(gray, 2);
}

// An 'RGB ' to 'Lab ' display profile of version 2 whose 'A2B0' samples
// LittleCMS's sRGB to Lab transform, in the version 2 Lab encoding.
Bytes rgb_to_lab_profile() {
    cmsHPROFILE srgb = cmsCreate_sRGBProfile(), lab = cmsCreateLab4Profile(nullptr);
    cmsHTRANSFORM t = cmsCreateTransform(srgb, TYPE_RGB_16, lab, TYPE_Lab_DBL, INTENT_PERCEPTUAL, 0);
    cmsHPROFILE h = cmsCreateProfilePlaceholder(nullptr);
    cmsSetProfileVersion(h, 2.1);
    cmsSetDeviceClass(h, cmsSigDisplayClass);
    cmsSetColorSpace(h, cmsSigRgbData);
    cmsSetPCS(h, cmsSigLabData);
    cmsMLU *text = cmsMLUalloc(nullptr, 1);
    cmsMLUsetASCII(text, "en", "US", "Zentu RGB to Lab");
    cmsWriteTag(h, cmsSigProfileDescriptionTag, text);
    cmsWriteTag(h, cmsSigCopyrightTag, text);
    cmsMLUfree(text);
    cmsWriteTag(h, cmsSigMediaWhitePointTag, cmsD50_XYZ());
    cmsPipeline *lut = cmsPipelineAlloc(nullptr, 3, 3);
    cmsStage *clut = cmsStageAllocCLut16bit(nullptr, 17, 3, 3, nullptr);
    cmsStageSampleCLut16bit(
        clut,
        [](const cmsUInt16Number in[], cmsUInt16Number out[], void *cargo) -> cmsInt32Number {
            double v[3];
            cmsDoTransform(cargo, in, v, 1);
            const double enc[3] = {v[0] * 652.8, (v[1] + 128.0) * 256.0, (v[2] + 128.0) * 256.0};
            for (int i = 0; i < 3; i++)
                out[i] = (cmsUInt16Number)std::lround(std::min(65535.0, std::max(0.0, enc[i])));
            return 1;
        },
        t, 0);
    cmsPipelineInsertStage(lut, cmsAT_END, clut);
    cmsWriteTag(h, cmsSigAToB0Tag, lut);
    cmsPipelineFree(lut);
    cmsDeleteTransform(t);
    cmsCloseProfile(srgb);
    cmsCloseProfile(lab);
    cmsUInt32Number n = 0;
    Bytes data;
    if (cmsSaveProfileToMem(h, nullptr, &n)) {
        data.resize(n);
        cmsSaveProfileToMem(h, data.data(), &n);
    }
    cmsCloseProfile(h);
    return data;
}

// Largest change of a CLUT output between neighbouring grid points, per
// grid spacing.
double clut_slope(const icmLut *t) {
    const uint64_t nodes = ipow(t->clut_points, t->input_channels);
    const unsigned int no = t->output_channels;
    double s = 0.0;
    for (uint64_t k = 0; k < nodes; k++)
        for (unsigned int e = 0; e < t->input_channels; e++) {
            const unsigned int step = t->grid_stride[e] / no;  // in grid points
            if ((k / step) % t->clut_points + 1 == t->clut_points)
                continue;
            for (unsigned int o = 0; o < no; o++) {
                const double *g = t->clut_table + k * no + o;
                s = std::max(s, std::fabs(g[t->grid_stride[e]] - g[0]) * (t->clut_points - 1));
            }
        }
    return s;
}

// Lut profiles with a Lab PCS: forward to Lab as LittleCMS's transform with
// the intent that reads the same table.
TEST(IccLookupOracle, LutProfilesAgreeWithLittleCms) {
    std::vector<std::pair<std::string, Bytes>> profiles;
    for (const OracleProfile *o : v2_oracle_profiles())
        if (get32(o->data, 20) == icmSig("Lab "))
            profiles.push_back({o->path, o->data});
    profiles.push_back({"RGB to Lab", rgb_to_lab_profile()});
    std::mt19937 rng(2511);
    int at_nodes = 0, further = 0;
    for (const auto &pr : profiles) {
        SCOPED_TRACE(pr.first);
        Loaded l = load(pr.second);
        ASSERT_EQ(l.rv, 0);
        Lu lu(l.p->get_luobj(l.p, icmFwd, icmDefaultIntent, icmLuOrdNorm));
        ASSERT_TRUE(lu) << l.p->error_text;
        if (lu->kind != icmLuLutKind)
            continue;
        auto *ll = static_cast<iccLuLut *>(lu.get());
        const icmLut *t = ll->lut;
        const unsigned int ni = t->input_channels;
        uint32_t table = 0;
        for (unsigned int i = 0; i < l.p->tag_count; i++)
            if (l.p->tag_table[i].object == t)
                table = l.p->tag_table[i].sig;
        const uint32_t cs = l.p->header->colorSpace;
        const cmsUInt32Number fmt = cs == icmSig("Lab ") ? TYPE_Lab_DBL : cs == icmSig("RGB ") ? TYPE_RGB_DBL : TYPE_CMYK_DBL;
        const double scale = cs == icmSig("CMYK") ? 100.0 : 1.0;  // LittleCMS's CMYK is in percent
        LcmsProfile lc(pr.second);
        Xform x(lc.h, fmt, table == icmSig("A2B1") ? 1 : table == icmSig("A2B2") ? 2 : 0, true);
        ASSERT_NE(x.t, nullptr);

        // Half-step roundings (curve_bound) entering the input tables,
        // leaving them, entering and leaving the output tables, each carried
        // through the slopes that follow, in steps of the widest Lab
        // encoding (256 for a and b); float arithmetic adds the last term.
        double in_slope = 0.0, out_slope = 0.0;
        for (unsigned int e = 0; e < ni; e++)
            in_slope = std::max(in_slope, max_slope(t->input_table + e * t->input_entries, t->input_entries));
        for (unsigned int o = 0; o < t->output_channels; o++)
            out_slope = std::max(out_slope, max_slope(t->output_table + o * t->output_entries, t->output_entries));
        const double steps = 0.5 * (1 + out_slope * (1 + ni * clut_slope(t) * (1 + in_slope)));
        const double tol = steps * 256.0 * kStep + 1e-4;

        auto compare = [&](const double *idx, uint64_t k) {
            double in[icmLutMaxChan], lcin[icmLutMaxChan], ours[3], theirs[3];
            ll->in_denormf(in, idx);
            for (unsigned int e = 0; e < ni; e++)
                lcin[e] = in[e] * scale;
            ASSERT_LE(lu->lookup(lu.get(), ours, in), 1);
            x.run(lcin, theirs);
            for (int e = 0; e < 3; e++)
                ASSERT_NEAR(ours[e], theirs[e], tol) << "input " << k << " Lab " << e;
        };

        // At the grid nodes where the input tables leave them in place.
        bool linear = true;
        for (unsigned int e = 0; e < ni; e++)
            for (unsigned int i = 0; i < t->input_entries; i++)
                linear = linear && std::fabs(t->input_table[e * t->input_entries + i] -
                                             i / (t->input_entries - 1.0)) <= 2 * kStep;
        if (linear) {
            const uint64_t nodes = ipow(t->clut_points, ni);
            for (uint64_t k = 0; k < std::min<uint64_t>(nodes, 20000); k++) {
                double idx[icmLutMaxChan];
                uint64_t r = nodes <= 20000 ? k : rng() % nodes;
                for (unsigned int e = ni; e-- > 0; r /= t->clut_points)
                    idx[e] = q16(double(r % t->clut_points) / (t->clut_points - 1));
                compare(idx, k);
            }
            at_nodes++;
        }
        // Inside the cells, where both take tetrahedral interpolation.
        if (ni == 3 && ll->lookup_clut == t->icmLut_lookup_clut_sx) {
            for (int k = 0; k < 1000; k++) {
                double idx[3];
                for (double &v : idx)
                    v = (rng() % 65536) * kStep;
                compare(idx, k);
            }
            further++;
        }
    }
    EXPECT_GE(at_nodes, 3);
    EXPECT_EQ(further, 1);
}

}  // namespace
