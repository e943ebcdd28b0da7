// The curve type: reading, writing, dumping and both evaluations.
#include "tag_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace icctest;

namespace {

Bytes curve_tag(uint32_t count, const std::vector<unsigned int> &words) {
    Bytes payload;
    push32(payload, count);
    for (unsigned int w : words)
        push16(payload, w);
    return tag_bytes(icmSig("curv"), payload);
}

// A curve object filled by the caller, not read.
struct MadeCurve {
    icc *p = new_icc();
    icmCurve *c;
    MadeCurve(int flag, const std::vector<double> &values) {
        c = static_cast<icmCurve *>(new_icmCurve(p));
        c->flag = flag;
        c->count = (unsigned int)values.size();
        EXPECT_EQ(c->allocate(c), 0);
        for (size_t i = 0; i < values.size(); i++)
            c->data[i] = values[i];
    }
    ~MadeCurve() {
        c->del(c);
        p->del(p);
    }
    std::pair<double, int> fwd(double in) {
        double out = -99;
        int rv = c->lookup_fwd(c, &out, &in);
        return {out, rv};
    }
    std::pair<double, int> bwd(double in) {
        double out = -99;
        int rv = c->lookup_bwd(c, &out, &in);
        return {out, rv};
    }
};

TEST(IccCurve, ReadByCount) {
    struct Case {
        const char *what;
        Bytes tag;
        unsigned int len;  // 0: the whole tag
        int rv;
        const char *text;  // on failure
        int flag;
        unsigned int count;
    } cases[] = {
        {"count 0 in 12 bytes: linear", curve_tag(0, {}), 0, 0, "", icmCurveLin, 0},
        {"count 1 in 14 bytes: gamma", curve_tag(1, {0x0233}), 0, 0, "", icmCurveGamma, 1},
        {"count 1 in 13 bytes", curve_tag(1, {0x0233}), 13, 1,
         "icmCurve_read: Data too short to curve gamma", 0, 0},
        {"count 3 in 18 bytes: table", curve_tag(3, {0, 0x8000, 0xffff}), 0, 0, "", icmCurveSpec, 3},
        {"count 3 in 17 bytes", curve_tag(3, {0, 0x8000, 0xffff}), 17, 1,
         "icmCurve_read: Data too short to curve values", 0, 0},
        {"a million entries in 20 bytes", curve_tag(1000000, {1, 2, 3, 4}), 0, 1,
         "icmCurve_read: Data too short to curve values", 0, 0},
        {"2^31 entries in 20 bytes", curve_tag(0x80000000u, {1, 2, 3, 4}), 0, 1,
         "icmCurve_read: Data too short to curve values", 0, 0},
        {"11 bytes", curve_tag(0, {}), 11, 1, "icmCurve_read: Tag too small to be legal", 0, 0},
        {"another type", tag_bytes(icmSig("curw"), Bytes(4, 0)), 0, 1,
         "icmCurve_read: Wrong tag type for icmCurve", 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        OneTag t(c.tag, new_icmCurve);
        auto *cv = t.as<icmCurve>();
        ASSERT_EQ(cv->flag, icmCurveUndef);
        EXPECT_EQ(c.len ? t.read(c.len) : t.read(), c.rv);
        if (c.rv != 0) {
            EXPECT_EQ(t.text(), c.text);
            EXPECT_EQ(cv->data, nullptr) << "nothing allocated for entries that are not there";
            continue;
        }
        EXPECT_EQ(cv->flag, c.flag);
        EXPECT_EQ(cv->count, c.count);
        EXPECT_EQ(t.obj->get_size(t.obj), 12 + 2 * c.count);
    }
}

TEST(IccCurve, ValuesAndRereading) {
    OneTag t(curve_tag(1, {0x0233}), new_icmCurve);
    auto *c = t.as<icmCurve>();
    ASSERT_EQ(t.read(), 0);
    EXPECT_EQ(c->data[0], 0x0233 / 256.0);

    // The same object reads a table next; what was built for the gamma goes.
    Bytes table = curve_tag(3, {0, 0x8000, 0xffff});
    t.ms = MemStream::copy(table);
    t.p->stream = t.ms->io();
    ASSERT_EQ(t.read(), 0);
    EXPECT_EQ(c->count, 3u);
    EXPECT_EQ(c->data[1], 0x8000 / 65535.0);
    EXPECT_EQ(c->data[2], 1.0);
}

TEST(IccCurve, WriteAndRefusals) {
    struct Case {
        const char *what;
        int flag;
        std::vector<double> values;
        int rv;
        const char *text;
        Bytes bytes;  // on success
    } cases[] = {
        {"linear", icmCurveLin, {}, 0, "", curve_tag(0, {})},
        {"gamma", icmCurveGamma, {2.2}, 0, "", curve_tag(1, {0x0233})},
        {"table", icmCurveSpec, {0.0, 0.5, 1.0}, 0, "", curve_tag(3, {0, 0x8000, 0xffff})},
        {"one-entry table", icmCurveSpec, {0.5}, 1,
         "icmCurve_write: Must be 2 or more entries for Specified curve", {}},
        {"gamma too large", icmCurveGamma, {256.0}, 1,
         "icmCurve_write: write_U8Fixed8umber(256.000000) failed", {}},
        {"table entry above 1", icmCurveSpec, {0.0, 1.5}, 1,
         "icmCurve_write: write_UInt16umber(1.500000) failed", {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        MadeCurve m(c.flag, c.values);
        auto out = MemStream::zeroed(m.c->get_size(m.c));
        m.p->stream = out->io();
        EXPECT_EQ(m.c->write(m.c, 0), c.rv);
        if (c.rv != 0) {
            EXPECT_STREQ(m.p->error_text, c.text);
            EXPECT_EQ(out->bytes(), Bytes(out->bytes().size(), 0)) << "nothing written";
        } else {
            EXPECT_EQ(out->bytes(), c.bytes);
        }
        m.p->stream = nullptr;
    }

    MadeCurve g(icmCurveGamma, {2.2});
    g.c->count = 2;  // a caller's mistake
    auto out = MemStream::zeroed(64);
    g.p->stream = out->io();
    EXPECT_EQ(g.c->write(g.c, 0), 1);
    EXPECT_STREQ(g.p->error_text, "icmCurve_write: Must be exactly 1 entry for Gamma");
    g.p->stream = nullptr;

    icc *p = new_icc();
    icmBase *c = new_icmCurve(p);
    EXPECT_EQ(c->allocate(c), 1);
    EXPECT_STREQ(p->error_text, "icmCurve_alloc: flag not set");
    c->del(c);
    p->del(p);
}

TEST(IccCurve, Dumps) {
    MadeCurve lin(icmCurveLin, {}), gam(icmCurveGamma, {2.2}), tab(icmCurveSpec, {0.0, 0.25, 1.0});
    std::ostringstream l, g, t1, t2, t0;
    lin.c->dump(lin.c, &l, 1);
    gam.c->dump(gam.c, &g, 1);
    tab.c->dump(tab.c, &t1, 1);
    tab.c->dump(tab.c, &t2, 2);
    tab.c->dump(tab.c, &t0, 0);
    EXPECT_EQ(l.str(), "Curve:\n  Curve is linear\n");
    EXPECT_EQ(g.str(), "Curve:\n  Curve is gamma of 2.200000\n");
    EXPECT_EQ(t1.str(), "Curve:\n  No. elements = 3\n");
    EXPECT_EQ(t2.str(), "Curve:\n  No. elements = 3\n      0:  0.000000\n      1:  0.250000\n"
                        "      2:  1.000000\n");
    EXPECT_EQ(t0.str(), "");
}

TEST(IccCurve, GammaBothWays) {
    MadeCurve m(icmCurveGamma, {2.2});
    auto f = m.fwd(0.5);
    EXPECT_NEAR(f.first, std::pow(0.5, 2.2), 1e-12);
    EXPECT_EQ(f.second, 0);
    auto b = m.bwd(f.first);
    EXPECT_NEAR(b.first, 0.5, 1e-12);
    EXPECT_EQ(b.second, 0);
    for (double in : {0.0, -0.1}) {
        EXPECT_EQ(m.fwd(in), std::make_pair(0.0, 0)) << in;
        EXPECT_EQ(m.bwd(in), std::make_pair(0.0, 0)) << in;
    }
    MadeCurve lin(icmCurveLin, {});
    EXPECT_EQ(lin.fwd(0.3), std::make_pair(0.3, 0));
    EXPECT_EQ(lin.bwd(1.7), std::make_pair(1.7, 0));
}

TEST(IccCurve, TableBothWays) {
    MadeCurve m(icmCurveSpec, {0.0, 0.5, 1.0});
    struct Case {
        bool forward;
        double in, out;
        int rv;
    } cases[] = {
        {true, 1.0, 1.0, 0},   {true, 1.5, 1.0, 1},    {true, -0.2, 0.0, 1},
        {true, 0.25, 0.25, 0}, {true, NAN, 0.0, 1},
        {false, 0.25, 0.25, 0}, {false, 1.2, 1.0, 1},  {false, -0.3, 0.0, 1},
        {false, 0.75, 0.75, 0}, {false, 1.0, 1.0, 0},
    };
    for (const Case &c : cases) {
        auto r = c.forward ? m.fwd(c.in) : m.bwd(c.in);
        EXPECT_DOUBLE_EQ(r.first, c.out) << (c.forward ? "forward " : "reverse ") << c.in;
        EXPECT_EQ(r.second, c.rv) << (c.forward ? "forward " : "reverse ") << c.in;
    }

    // Flat: no bucket width, every value takes the nearest entry.
    MadeCurve flat(icmCurveSpec, {0.4, 0.4, 0.4});
    for (double in : {0.0, 0.4, 0.9}) {
        auto r = flat.bwd(in);
        EXPECT_EQ(r.second, 1) << in;
        EXPECT_EQ(r.first, 0.0) << "the first of equal entries";
    }

    // A flat segment that holds the value answers its middle.
    MadeCurve step(icmCurveSpec, {0.5, 0.5, 1.0});
    EXPECT_EQ(step.bwd(0.5), std::make_pair(0.25, 0));
    // Falling tables are searched too.
    MadeCurve fall(icmCurveSpec, {1.0, 0.0});
    EXPECT_EQ(fall.bwd(0.25), std::make_pair(0.75, 0));
}

// The bucketed search answers what a plain scan of the segments in order
// answers, whatever the shape of the table.
TEST(IccCurve, ReverseSearchMatchesPlainScan) {
    std::mt19937 rng(12);
    std::uniform_real_distribution<double> any(0.0, 1.0);
    for (int shape = 0; shape < 4; shape++) {
        std::vector<double> v(shape == 3 ? 2 : 257);
        for (size_t i = 0; i < v.size(); i++) {
            switch (shape) {
            case 0: v[i] = std::pow(i / 256.0, 2.2); break;        // rising
            case 1: v[i] = any(rng); break;                          // noise
            case 2: v[i] = 0.2 + 0.1 * std::sin(i * 0.3); break;     // narrow band
            default: v[i] = i ? 0.9 : 0.1; break;                    // two entries
            }
        }
        MadeCurve m(icmCurveSpec, v);
        const double last = (double)v.size() - 1;
        for (int k = 0; k <= 1000; k++) {
            const double in = -0.05 + k * 0.0011;
            double want = -1;
            int want_rv = 1;
            for (size_t i = 0; i + 1 < v.size() && want_rv; i++) {
                if ((v[i] <= in && in <= v[i + 1]) || (v[i + 1] <= in && in <= v[i])) {
                    want = v[i] == v[i + 1] ? (i + 0.5) / last : (i + (in - v[i]) / (v[i + 1] - v[i])) / last;
                    want_rv = 0;
                }
            }
            if (want_rv) {
                size_t best = 0;
                for (size_t i = 1; i < v.size(); i++)
                    if (std::fabs(in - v[i]) < std::fabs(in - v[best]))
                        best = i;
                want = best / last;
            }
            auto r = m.bwd(in);
            ASSERT_EQ(r.second, want_rv) << "shape " << shape << " in " << in;
            ASSERT_DOUBLE_EQ(r.first, want) << "shape " << shape << " in " << in;
        }
    }
}

TEST(IccCurve, ReverseStructureHasABound) {
    // Entries that zigzag over the whole range put every segment in every
    // bucket: quadratic in the table's size, refused rather than built.
    std::vector<double> zig(6000);
    for (size_t i = 0; i < zig.size(); i++)
        zig[i] = i % 2 ? 1.0 : 0.0;
    MadeCurve m(icmCurveSpec, zig);
    double out = -7, in = 0.5;
    EXPECT_EQ(m.c->lookup_bwd(m.c, &out, &in), 2);
    EXPECT_EQ(out, -7) << "output left alone";
    EXPECT_STREQ(m.p->error_text, "icmCurve_alloc: malloc() of icmCurve reverse structures failed");
    EXPECT_EQ(m.c->rev_lists, nullptr);
    EXPECT_EQ(m.fwd(0.5).second, 0) << "the forward evaluation does not need it";

    std::vector<double> smaller(zig.begin(), zig.begin() + 400);
    MadeCurve ok(icmCurveSpec, smaller);
    EXPECT_EQ(ok.bwd(0.5), std::make_pair(0.5 / 399, 0));
}

}  // namespace
