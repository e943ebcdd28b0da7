// Seeds and count fields of the curve, data, text, date, measurement and Lut
// types for the fuzz-style test, and mutants of their tags evaluated: what
// reads must evaluate inside its tables, at any input.
#include "fuzz_framework.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <random>

using namespace icctest;

namespace {

template <class T>
T *add(icc *p, const char *sig, const char *type) {
    return static_cast<T *>(p->add_tag(p, str2tag(sig), str2tag(type)));
}

icmCurve *add_curve(icc *p, const char *sig, int flag, unsigned int count) {
    auto *c = add<icmCurve>(p, sig, "curv");
    if (c == nullptr)
        return nullptr;
    c->flag = flag;
    c->count = count;
    if (c->allocate(c) != 0)
        return nullptr;
    for (unsigned int i = 0; i < c->count; i++)
        c->data[i] = flag == icmCurveGamma ? 2.2 : std::pow(i / (count - 1.0), 1.8);
    return c;
}

icmLut *add_lut(icc *p, const char *sig, const char *type, unsigned int in, unsigned int out,
                unsigned int points, unsigned int entries) {
    auto *l = add<icmLut>(p, sig, type);
    if (l == nullptr)
        return nullptr;
    l->input_channels = in;
    l->output_channels = out;
    l->clut_points = points;
    l->input_entries = l->output_entries = entries;
    if (l->allocate(l) != 0)
        return nullptr;
    const uint64_t grid = ipow(points, in) * out;
    for (unsigned int k = 0; k < in * entries; k++)
        l->input_table[k] = (k % entries) / (entries - 1.0);
    for (uint64_t k = 0; k < grid; k++)
        l->clut_table[k] = double(k % 977) / 976.0;
    for (unsigned int k = 0; k < out * entries; k++)
        l->output_table[k] = 1.0 - (k % entries) / (entries - 1.0);
    return l;
}

// Every type of this family, each kind of curve and both Luts.
Bytes every_basic_type() {
    icc *p = new_icc();
    p->header->deviceClass = icmSig("zntu");
    p->header->colorSpace = icmSig("RGB ");
    p->header->pcs = icmSig("Lab ");
    Bytes out;
    bool ok = add_curve(p, "rTRC", icmCurveSpec, 17) && add_curve(p, "gTRC", icmCurveGamma, 1) &&
              add_curve(p, "bTRC", icmCurveLin, 0);
    auto *d = add<icmData>(p, "ps2i", "data");
    auto *b = add<icmData>(p, "zzd1", "data");
    auto *t = add<icmText>(p, "cprt", "text");
    auto *dt = add<icmDateTimeNumber>(p, "calt", "dtim");
    auto *m = add<icmMeasurement>(p, "meas", "meas");
    ok = ok && d && b && t && dt && m;
    if (ok) {
        d->flag = icmDataAscii;
        d->count = 6;
        b->flag = icmDataBinary;
        b->count = 5;
        t->count = 12;
        ok = d->allocate(d) == 0 && b->allocate(b) == 0 && t->allocate(t) == 0;
    }
    if (ok) {
        memcpy(d->data, "/Perc", 6);
        memcpy(b->data, "\x00\x01\xfe\xff\x80", 5);
        memcpy(t->data, "Zentu 2004.", 12);
        m->observer = 1;
        m->illuminant = 1;
        m->flare = 0.01;
        m->backing = icmXYZNumber{0.1, 0.1, 0.1};
        ok = add_lut(p, "A2B0", "mft2", 3, 3, 5, 17) && add_lut(p, "B2A0", "mft1", 3, 4, 3, 256) &&
             p->link_tag(p, icmSig("A2B1"), icmSig("A2B0")) != nullptr;
    }
    if (ok)
        out = write_profile(p);
    p->del(p);
    return out;
}

// The widest Lut: 15 inputs of 2 grid points, beside a 255-point one.
Bytes widest_luts() {
    icc *p = new_icc();
    p->header->deviceClass = icmSig("zntu");
    Bytes out;
    if (add_lut(p, "A2B0", "mft2", 15, 1, 2, 2) && add_lut(p, "zzl1", "mft2", 1, 15, 255, 2))
        out = write_profile(p);
    p->del(p);
    return out;
}

std::vector<iccfuzz::CountField> curve_fields(const uint8_t *, size_t) {
    return {{8, 4}};
}

std::vector<iccfuzz::CountField> data_fields(const uint8_t *, size_t) {
    return {{8, 4}};
}

std::vector<iccfuzz::CountField> date_fields(const uint8_t *, size_t) {
    return {{8, 2}, {10, 2}, {12, 2}, {14, 2}, {16, 2}, {18, 2}};
}

std::vector<iccfuzz::CountField> lut8_fields(const uint8_t *, size_t) {
    return {{8, 1}, {9, 1}, {10, 1}};
}

std::vector<iccfuzz::CountField> lut16_fields(const uint8_t *, size_t) {
    return {{8, 1}, {9, 1}, {10, 1}, {48, 2}, {50, 2}};
}

}  // namespace

ICC_FUZZ_SEED("written: curve, data, text, date, measurement and Lut tags", every_basic_type);
ICC_FUZZ_SEED("written: Luts of 15 inputs and of 255 grid points", widest_luts);
ICC_FUZZ_COUNT_FIELDS("curv", curve_fields);
ICC_FUZZ_COUNT_FIELDS("data", data_fields);
ICC_FUZZ_COUNT_FIELDS("dtim", date_fields);
ICC_FUZZ_COUNT_FIELDS("mft1", lut8_fields);
ICC_FUZZ_COUNT_FIELDS("mft2", lut16_fields);

namespace {

const double kInputs[] = {0.0, 1.0, 0.5, 1e-9, 1.0 - 1e-12, -0.5, 2.0, 1e300, -1e300, NAN, INFINITY};

// Evaluates every curve and Lut of the profile that reads; false when an
// evaluation answers a code it must not.
bool evaluate_all(icc *p, std::string *why, int *luts) {
    for (unsigned int i = 0; i < p->tag_count; i++) {
        icmBase *t = p->read_tag(p, p->tag_table[i].sig);
        if (t == nullptr)
            continue;
        if (t->tag_type == icmSig("curv")) {
            auto *c = static_cast<icmCurve *>(t);
            for (double in : kInputs) {
                double out;
                int f = c->lookup_fwd(c, &out, &in), b = c->lookup_bwd(c, &out, &in);
                if (f > 1 || b > 2) {
                    *why = "curve evaluation answered " + std::to_string(f) + "/" + std::to_string(b);
                    return false;
                }
            }
        } else if (t->tag_type == icmSig("mft1") || t->tag_type == icmSig("mft2")) {
            auto *l = static_cast<icmLut *>(t);
            ++*luts;
            double in[icmLutMaxChan], out[icmLutMaxChan], lo[icmLutMaxChan], hi[icmLutMaxChan];
            for (double v : kInputs) {
                for (unsigned int e = 0; e < icmLutMaxChan; e++)
                    in[e] = e % 2 ? v : 1.0 - v;
                int r = l->lookup_matrix(l, out, in) | l->lookup_input(l, out, in) |
                        l->icmLut_lookup_clut_sx(l, out, in) | l->lookup_output(l, out, in);
                int ml = l->icmLut_lookup_clut(l, out, in);
                if (r > 1 || ml > 1) {
                    *why = "Lut evaluation answered " + std::to_string(r) + "/" + std::to_string(ml);
                    return false;
                }
            }
            for (int chan = -2; chan <= (int)l->output_channels; chan++)
                l->clut_min_max(l, lo, hi, chan);
        }
    }
    return true;
}

TEST(IccFuzz, MutatedCurvesAndLutsEvaluateInsideTheirTables) {
    const auto start = std::chrono::steady_clock::now();
    // Each seed with the spans of its curve and Lut tags: only their bytes
    // are changed.
    struct Seed {
        Bytes data;
        std::vector<std::pair<size_t, size_t>> spans;
    };
    std::vector<Seed> seeds;
    for (Bytes (*build)() : {every_basic_type, widest_luts}) {
        Seed s{build(), {}};
        ASSERT_FALSE(s.data.empty());
        Loaded base = load(s.data);
        ASSERT_EQ(base.rv, 0);
        for (unsigned int i = 0; i < base.p->tag_count; i++) {
            const icmTag &e = base.p->tag_table[i];
            if (e.ttype == icmSig("curv") || e.ttype == icmSig("mft1") || e.ttype == icmSig("mft2"))
                s.spans.push_back({e.offset, e.size});
        }
        ASSERT_FALSE(s.spans.empty());
        seeds.push_back(std::move(s));
    }

    std::mt19937 rng(0x5EED12u);
    int evaluated = 0, failures = 0, luts = 0;
    for (int k = 0; k < 3000 && failures < 10; k++) {
        const Seed &seed = seeds[k % 4 == 3 ? 1 : 0];
        Bytes work = seed.data;
        const auto &span = seed.spans[rng() % seed.spans.size()];
        // Head bytes most often: that is where the counts and sizes are.
        const int flips = 1 + int(rng() % 3);
        for (int f = 0; f < flips; f++) {
            const size_t within = rng() % 4 ? rng() % std::min<size_t>(span.second, 56) : rng() % span.second;
            work[span.first + within] ^= uint8_t(1 + rng() % 255);
        }
        Loaded l = load(work);
        ASSERT_EQ(l.rv, 0);
        std::string why;
        if (!evaluate_all(l.p, &why, &luts)) {
            ADD_FAILURE() << "mutant " << k << ": " << why;
            failures++;
        }
        evaluated++;
    }
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // A bound against a mutant that loops, not a speed target: a loaded
    // machine running the sanitizer build takes minutes.
    EXPECT_LT(secs, 600.0);
    EXPECT_GT(luts, evaluated) << "most mutants keep their Luts readable";
    std::cout << evaluated << " mutants evaluated, " << luts << " Luts among them, " << secs << " s\n";
}

}  // namespace
