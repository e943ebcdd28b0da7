// Curve and Lut tags of the version 2 oracle profiles, evaluated by the
// library and by LittleCMS. LittleCMS evaluates 16-bit tables in 16-bit
// steps, so inputs are multiples of 1/65535.
#include "support.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <cmath>
#include <random>

using namespace icctest;

namespace {

// Directory entries of the given tag types, as the library reads them. A
// Lut without a grid (LittleCMS writes its identity Luts so) is refused by
// the library: such tags are counted in *gridless and left out.
template <class F>
void each_tag(const OracleProfile &o, std::initializer_list<const char *> types, F f,
              int *gridless = nullptr) {
    Loaded l = load(o.data);
    ASSERT_EQ(l.rv, 0) << o.path;
    LcmsProfile lc(o.data);
    ASSERT_NE(lc.h, nullptr) << o.path;
    for (unsigned int i = 0; i < l.p->tag_count; i++) {
        const icmTag &e = l.p->tag_table[i];
        for (const char *t : types) {
            if (e.ttype != str2tag(t))
                continue;
            icmBase *ours = l.p->read_tag(l.p, e.sig);
            if (ours == nullptr && gridless != nullptr && e.offset + 11 <= o.data.size() &&
                o.data[e.offset + 10] < 2 && l.p->error_text == std::string("icmLut_read: Unusable table sizes")) {
                ++*gridless;
                continue;
            }
            ASSERT_NE(ours, nullptr) << o.path << " " << tag2str(e.sig) << ": " << l.p->error_text;
            void *theirs = cmsReadTag(lc.h, (cmsTagSignature)e.sig);
            ASSERT_NE(theirs, nullptr) << o.path << " " << tag2str(e.sig);
            f(o.path + " " + tag2str(e.sig), ours, theirs);
        }
    }
}

TEST(IccOracle, CurvesAgreeWithLittleCms) {
    int compared[3] = {};
    for (const OracleProfile *o : v2_oracle_profiles()) {
        each_tag(*o, {"curv"}, [&](const std::string &what, icmBase *t, void *theirs) {
            auto *c = static_cast<icmCurve *>(t);
            auto *tc = static_cast<cmsToneCurve *>(theirs);
            // LittleCMS answers in single precision; its tables in 16-bit steps.
            const double tol = c->flag == icmCurveSpec ? 1e-4 : 1e-6;
            for (int k = 0; k <= 65535; k += 255) {
                const double x = k / 65535.0;
                double y;
                ASSERT_EQ(c->lookup_fwd(c, &y, &x), 0);
                ASSERT_NEAR(y, cmsEvalToneCurveFloat(tc, (cmsFloat32Number)x), tol) << what << " at " << k;
            }
            compared[c->flag]++;
        });
    }
    EXPECT_GT(compared[icmCurveSpec], 10) << "table curves";
    EXPECT_GT(compared[icmCurveGamma], 2) << "gamma curves";
}

// One stage of a pipeline evaluated alone, in a pipeline of its own.
struct StageAlone {
    cmsPipeline *pipe;
    explicit StageAlone(cmsStage *s)
        : pipe(cmsPipelineAlloc(nullptr, cmsStageInputChannels(s), cmsStageOutputChannels(s))) {
        cmsPipelineInsertStage(pipe, cmsAT_END, cmsStageDup(s));
    }
    ~StageAlone() { cmsPipelineFree(pipe); }
    void eval(const double *in, double *out, unsigned int nin, unsigned int nout) const {
        cmsFloat32Number fin[cmsMAXCHANNELS] = {}, fout[cmsMAXCHANNELS] = {};
        for (unsigned int i = 0; i < nin; i++)
            fin[i] = (cmsFloat32Number)in[i];
        cmsPipelineEvalFloat(fin, fout, pipe);
        for (unsigned int i = 0; i < nout; i++)
            out[i] = fout[i];
    }
};

double grid16(unsigned int idx, unsigned int points) {
    return std::round(idx / (points - 1.0) * 65535.0) / 65535.0;
}

TEST(IccOracle, LutsAgreeWithLittleCms) {
    int compared = 0, whole = 0, with_matrix = 0, gridless = 0;
    std::mt19937 rng(1207);
    for (const OracleProfile *o : v2_oracle_profiles()) {
        each_tag(*o, {"mft1", "mft2"}, [&](const std::string &what, icmBase *t, void *theirs) {
            auto *l = static_cast<icmLut *>(t);
            if (l->matrix_is_not_identity(l)) {  // LittleCMS puts it in its pipeline
                with_matrix++;
                return;
            }
            auto *pipe = static_cast<cmsPipeline *>(theirs);
            std::vector<cmsStage *> stages;
            for (cmsStage *s = cmsPipelineGetPtrToFirstStage(pipe); s != nullptr; s = cmsStageNext(s))
                stages.push_back(s);
            ASSERT_EQ(stages.size(), 3u) << what;
            ASSERT_EQ(cmsStageType(stages[0]), cmsSigCurveSetElemType) << what;
            ASSERT_EQ(cmsStageType(stages[1]), cmsSigCLutElemType) << what;
            ASSERT_EQ(cmsStageType(stages[2]), cmsSigCurveSetElemType) << what;
            const unsigned int ni = l->input_channels, no = l->output_channels;
            double in[icmLutMaxChan], ours[icmLutMaxChan], lc[icmLutMaxChan];

            // Input and output tables, every channel at once.
            const StageAlone input(stages[0]), clut(stages[1]), output(stages[2]);
            for (int k = 0; k <= 65535; k += 255) {
                for (double &v : in)
                    v = k / 65535.0;
                l->lookup_input(l, ours, in);
                input.eval(in, lc, ni, ni);
                for (unsigned int e = 0; e < ni; e++)
                    ASSERT_NEAR(ours[e], lc[e], 1e-4) << what << " input " << e << " at " << k;
                l->lookup_output(l, ours, in);
                output.eval(in, lc, no, no);
                for (unsigned int e = 0; e < no; e++)
                    ASSERT_NEAR(ours[e], lc[e], 1e-4) << what << " output " << e << " at " << k;
            }

            // The CLUT at its grid nodes, all of them or 10,000.
            const uint64_t nodes = ipow(l->clut_points, ni);
            const bool all = nodes <= 10000;
            for (uint64_t k = 0; k < (all ? nodes : 10000); k++) {
                uint64_t r = all ? k : rng() % nodes;
                for (unsigned int e = ni; e-- > 0; r /= l->clut_points)
                    in[e] = grid16(unsigned(r % l->clut_points), l->clut_points);
                l->icmLut_lookup_clut(l, ours, in);
                clut.eval(in, lc, ni, no);
                for (unsigned int e = 0; e < no; e++)
                    ASSERT_NEAR(ours[e], lc[e], 1e-4) << what << " node " << k << " output " << e;
            }

            // Three inputs: the whole tag, simplex being tetrahedral.
            if (ni == 3) {
                for (int k = 0; k < 10000; k++) {
                    float fin[3], fout[cmsMAXCHANNELS];
                    for (int e = 0; e < 3; e++) {
                        in[e] = (rng() % 65536) / 65535.0;
                        fin[e] = (float)in[e];
                    }
                    l->lookup_input(l, ours, in);
                    l->icmLut_lookup_clut_sx(l, ours, ours);
                    l->lookup_output(l, ours, ours);
                    cmsPipelineEvalFloat(fin, fout, pipe);
                    for (unsigned int e = 0; e < no; e++)
                        ASSERT_NEAR(ours[e], fout[e], 5e-4) << what << " input " << k << " output " << e;
                }
                whole++;
            }
            compared++;
        }, &gridless);
    }
    EXPECT_GE(compared, 5);
    EXPECT_GE(whole, 5);
    std::cout << compared << " Luts compared, " << whole << " whole, " << with_matrix
              << " left out for their matrix, " << gridless << " without a grid\n";
}

}  // namespace
