// The Lut type: layout, refusals, evaluation and table filling, and the
// index-space conversions it fills its tables through.
#include "tag_fixture.h"

#include "icc/icc_lutspaces.h"

#include <gtest/gtest.h>

#include <random>

using namespace icctest;

namespace {

constexpr uint32_t kLut8 = icmSig("mft1"), kLut16 = icmSig("mft2");

// The head of a Lut tag with an identity matrix.
Bytes lut_head(uint32_t type, unsigned int in, unsigned int out, unsigned int points,
               unsigned int in_entries = 2, unsigned int out_entries = 2) {
    Bytes b = tag_bytes(type, {});
    b.push_back(uint8_t(in));
    b.push_back(uint8_t(out));
    b.push_back(uint8_t(points));
    b.push_back(0);
    for (int i = 0; i < 9; i++)
        push32(b, i % 4 == 0 ? 0x10000 : 0);
    if (type == kLut16) {
        push16(b, in_entries);
        push16(b, out_entries);
    }
    return b;
}

// The bytes cut or padded with zeros to len.
Bytes padded(Bytes b, size_t len) {
    b.resize(len, 0);
    return b;
}

// A Lut filled by the caller.
struct MadeLut {
    icc *p = new_icc();
    icmLut *l;
    MadeLut(uint32_t type, unsigned int in, unsigned int out, unsigned int points,
            unsigned int in_entries = 2, unsigned int out_entries = 2, bool alloc = true) {
        l = static_cast<icmLut *>(new_icmLut(p));
        l->tag_type = type;
        l->input_channels = in;
        l->output_channels = out;
        l->clut_points = points;
        l->input_entries = in_entries;
        l->output_entries = out_entries;
        if (alloc) {
            EXPECT_EQ(l->allocate(l), 0) << p->error_text;
        }
    }
    ~MadeLut() {
        l->del(l);
        p->del(p);
    }
    size_t grid_values() const { return (size_t)ipow(l->clut_points, l->input_channels) * l->output_channels; }
    // For refusals: the block is kept small whatever the size says.
    int write(Bytes *out) {
        auto ms = MemStream::zeroed(std::min<size_t>(l->get_size(l), 1 << 16));
        p->stream = ms->io();
        int rv = l->write(l, 0);
        p->stream = nullptr;
        *out = ms->bytes();
        return rv;
    }
};

TEST(IccLut, StridesAndCorners) {
    MadeLut m(kLut16, 3, 3, 33);
    EXPECT_EQ(m.l->grid_stride[0], 3267u);
    EXPECT_EQ(m.l->grid_stride[1], 99u);
    EXPECT_EQ(m.l->grid_stride[2], 3u);
    const unsigned int corners[8] = {0, 3267, 99, 3366, 3, 3270, 102, 3369};
    for (int c = 0; c < 8; c++)
        EXPECT_EQ(m.l->corner_offset[c], corners[c]) << c;
    EXPECT_EQ(m.l->get_size(m.l), 52u + 2 * (2 * 3 + 33 * 33 * 33 * 3 + 2 * 3));

    MadeLut wide(kLut8, 15, 1, 2, 256, 256);
    EXPECT_EQ(wide.l->grid_stride[0], 1u << 14);
    EXPECT_EQ(wide.l->corner_offset[32767], 32767u);
    EXPECT_EQ(ipow(255, 8), 17878103347812890625u);
    EXPECT_EQ(ipow(255, 15), UINT64_MAX) << "saturates";
    EXPECT_EQ(ipow(2, 64), UINT64_MAX);
    EXPECT_EQ(ipow(7, 0), 1u);
}

TEST(IccLut, ReadRefusals) {
    struct Case {
        const char *what;
        Bytes tag;
        const char *text;
    } cases[] = {
        {"3 bytes", Bytes{'m', 'f', 't'}, "icmLut_read: Tag too small to be legal"},
        {"another type", padded(tag_bytes(icmSig("mft3"), {}), 64), "icmLut_read: Wrong tag type for icmLut"},
        {"Lut8 head cut", padded(lut_head(kLut8, 1, 1, 2), 47),
         "icmLut_read: Tag too small to be legal"},
        {"Lut16 head cut", padded(lut_head(kLut16, 1, 1, 2), 51),
         "icmLut_read: Tag too small to be legal"},
        {"16 inputs", padded(lut_head(kLut16, 16, 1, 2), 4096), "icmLut_read: Can't handle > 15 input channels\n"},
        {"16 outputs", padded(lut_head(kLut16, 1, 16, 2), 4096),
         "icmLut_read: Can't handle > 15 output channels\n"},
        {"15 inputs of 255 points in 2 KiB", padded(lut_head(kLut16, 15, 1, 255), 2048),
         "icmLut_read: Tag too small for contents"},
        {"16^8 grid points: 2^32", padded(lut_head(kLut16, 8, 1, 16), 2048),
         "icmLut_read: Tag too small for contents"},
        {"Lut8 15 inputs of 255 points", padded(lut_head(kLut8, 15, 15, 255), 2048),
         "icmLut_read: Tag too small for contents"},
        {"one byte short", padded(lut_head(kLut16, 2, 1, 2), 52 + 2 * (4 + 4 + 2) - 1),
         "icmLut_read: Tag too small for contents"},
        {"0 inputs", padded(lut_head(kLut16, 0, 1, 2), 256), "icmLut_read: Unusable table sizes"},
        {"0 outputs", padded(lut_head(kLut16, 1, 0, 2), 256), "icmLut_read: Unusable table sizes"},
        {"1 grid point", padded(lut_head(kLut16, 1, 1, 1), 256), "icmLut_read: Unusable table sizes"},
        {"Lut8 0 grid points", padded(lut_head(kLut8, 1, 1, 0), 1024), "icmLut_read: Unusable table sizes"},
        {"1 input entry", padded(lut_head(kLut16, 1, 1, 2, 1, 2), 256), "icmLut_read: Unusable table sizes"},
        {"0 output entries", padded(lut_head(kLut16, 1, 1, 2, 2, 0), 256), "icmLut_read: Unusable table sizes"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        OneTag t(c.tag, new_icmLut);
        EXPECT_EQ(t.read(), 1);
        EXPECT_EQ(t.text(), c.text);
        EXPECT_EQ(t.as<icmLut>()->clut_table, nullptr);
    }
}

TEST(IccLut, AllocRefusals) {
    struct Case {
        unsigned int in, out, points, entries;
        const char *text;
    } cases[] = {
        {16, 1, 2, 2, "icmLut_alloc: Can't handle > 15 input channels\n"},
        {1, 16, 2, 2, "icmLut_alloc: Can't handle > 15 output channels\n"},
        {0, 1, 2, 2, "icmLut_alloc: Unusable table sizes"},
        {1, 0, 2, 2, "icmLut_alloc: Unusable table sizes"},
        {1, 1, 1, 2, "icmLut_alloc: Unusable table sizes"},
        {1, 1, 2, 1, "icmLut_alloc: Unusable table sizes"},
    };
    for (const Case &c : cases) {
        MadeLut m(kLut16, c.in, c.out, c.points, c.entries, 2, false);
        EXPECT_EQ(m.l->allocate(m.l), 1);
        EXPECT_STREQ(m.p->error_text, c.text);
        EXPECT_EQ(m.l->input_table, nullptr);
    }
    // A grid whose values pass 32 bits cannot be indexed: refused as memory.
    MadeLut big(kLut16, 15, 15, 255, 2, 2, false);
    EXPECT_EQ(big.l->allocate(big.l), 2);
    EXPECT_STREQ(big.p->error_text, "icmLut_alloc: malloc() of Lut clutTable data failed");
}

TEST(IccLut, ReadAndWriteBack) {
    // Lut16: 2 inputs, 2 outputs, 3 points, 4 input and 5 output entries,
    // every word distinct; a matrix that is not the identity.
    Bytes tag = lut_head(kLut16, 2, 2, 3, 4, 5);
    for (int i = 0; i < 9; i++)
        put32(tag, 12 + 4 * i, uint32_t(0x8000 * (i + 1)));
    const size_t words = 2 * 4 + 9 * 2 + 2 * 5;
    for (size_t k = 0; k < words; k++)
        push16(tag, unsigned(1000 * k + 7));
    OneTag t(tag, new_icmLut);
    ASSERT_EQ(t.read(), 0) << t.text();
    auto *l = t.as<icmLut>();
    EXPECT_EQ(l->tag_type, kLut16);
    EXPECT_EQ(l->matrix[1][2], 3.0);
    EXPECT_EQ(l->matrix_is_not_identity(l), 1);
    auto word = [](size_t k) { return (1000 * k + 7) / 65535.0; };
    EXPECT_EQ(l->input_table[1 * 4 + 3], word(7)) << "channel after channel";
    EXPECT_EQ(l->clut_table[(1 * 3 + 2) * 2 + 1], word(8 + 11)) << "first input slowest, outputs together";
    EXPECT_EQ(l->output_table[1 * 5 + 0], word(8 + 18 + 5));
    EXPECT_EQ(l->grid_stride[0], 6u);
    EXPECT_EQ(t.obj->get_size(t.obj), tag.size());
    EXPECT_EQ(t.write(), tag);

    // Lut8: the tables are 256 entries; bytes as fractions of 255.
    Bytes tag8 = lut_head(kLut8, 1, 2, 2);
    for (int k = 0; k < 256 + 4 + 512; k++)
        tag8.push_back(uint8_t(k * 7));
    OneTag t8(tag8, new_icmLut);
    ASSERT_EQ(t8.read(), 0) << t8.text();
    auto *l8 = t8.as<icmLut>();
    EXPECT_EQ(l8->tag_type, kLut8);
    EXPECT_EQ(l8->input_entries, 256u);
    EXPECT_EQ(l8->input_table[255], uint8_t(255 * 7) / 255.0);
    EXPECT_EQ(l8->clut_table[3], uint8_t(259 * 7) / 255.0);
    EXPECT_EQ(l8->matrix_is_not_identity(l8), 0);
    EXPECT_EQ(t8.write(), tag8);

    // Dumps of the head, and of the tables at detail 2.
    EXPECT_EQ(t8.dump(1),
              "Lut8:\n  Input Channels = 1\n  Output Channels = 2\n  CLUT resolution = 2\n"
              "  Input Table entries = 256\n  Output Table entries = 256\n"
              "  XYZ matrix =  1.000000, 0.000000, 0.000000\n"
              "                0.000000, 1.000000, 0.000000\n"
              "                0.000000, 0.000000, 1.000000\n");
}

TEST(IccLut, DumpTables) {
    MadeLut m(kLut16, 2, 1, 2, 2, 3);
    for (int i = 0; i < 4; i++)
        m.l->input_table[i] = i * 0.25;
    for (int i = 0; i < 4; i++)
        m.l->clut_table[i] = 0.1 * (i + 1);
    for (int i = 0; i < 3; i++)
        m.l->output_table[i] = 0.5 * i;
    std::ostringstream os;
    m.l->dump(m.l, &os, 2);
    EXPECT_EQ(os.str(),
              "Lut16:\n  Input Channels = 2\n  Output Channels = 1\n  CLUT resolution = 2\n"
              "  Input Table entries = 2\n  Output Table entries = 3\n"
              "  XYZ matrix =  1.000000, 0.000000, 0.000000\n"
              "                0.000000, 1.000000, 0.000000\n"
              "                0.000000, 0.000000, 1.000000\n"
              "  Input table:\n"
              "      0:  0.0000000000 0.5000000000\n"
              "      1:  0.2500000000 0.7500000000\n"
              "\n  CLUT table:\n"
              "     0  0: 0.1000000000\n"
              "     0  1: 0.2000000000\n"
              "     1  0: 0.3000000000\n"
              "     1  1: 0.4000000000\n"
              "\n  Output table:\n"
              "      0:  0.0000000000\n"
              "      1:  0.5000000000\n"
              "      2:  1.0000000000\n");
}

TEST(IccLut, WriteRefusals) {
    struct Case {
        const char *what;
        uint32_t type;
        unsigned int entries;
        void (*spoil)(icmLut *);
        const char *text;
    } cases[] = {
        {"Lut8 of 255 entries", kLut8, 255, [](icmLut *) {},
         "icmLut_write: 8 bit Input and Output tables must be 256 entries"},
        {"256 inputs", kLut16, 2, [](icmLut *l) { l->input_channels = 256; },
         "icmLut_write: write_UInt8Number() failed"},
        {"matrix out of range", kLut16, 2, [](icmLut *l) { l->matrix[2][1] = 40000.0; },
         "icmLut_write: write_S15Fixed16Number() failed"},
        {"65536 entries", kLut16, 2, [](icmLut *l) { l->output_entries = 65536; },
         "icmLut_write: write_UInt16Number() failed"},
        {"Lut16 input value", kLut16, 2, [](icmLut *l) { l->input_table[1] = -0.5; },
         "icmLut_write: inputTable write_DCS16Number(-0.500000) failed"},
        {"Lut16 CLUT value", kLut16, 2, [](icmLut *l) { l->clut_table[3] = 1.5; },
         "icmLut_write: clutTable write_DCS16Number(1.500000) failed"},
        {"Lut16 output value", kLut16, 2, [](icmLut *l) { l->output_table[0] = 2.0; },
         "icmLut_write: outputTable write_DCS16Number(2.000000) failed"},
        {"Lut8 input value", kLut8, 256, [](icmLut *l) { l->input_table[0] = 1.01; },
         "icmLut_write: inputTable write_DCS8Number() failed"},
        {"Lut8 CLUT value", kLut8, 256, [](icmLut *l) { l->clut_table[0] = -1.0; },
         "icmLut_write: clutTable write_DCS8Number() failed"},
        {"Lut8 output value", kLut8, 256, [](icmLut *l) { l->output_table[511] = 9.0; },
         "icmLut_write: outputTable write_DCS8Number() failed"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        MadeLut m(c.type, 2, 2, 2, c.entries, c.entries);
        c.spoil(m.l);
        Bytes out;
        EXPECT_EQ(m.write(&out), 1);
        EXPECT_STREQ(m.p->error_text, c.text);
        EXPECT_EQ(out, Bytes(out.size(), 0)) << "nothing written";
    }
}

// A Lut whose tables are the identity and whose CLUT holds f(grid point).
template <class F>
void fill(MadeLut &m, F f) {
    icmLut *l = m.l;
    for (unsigned int e = 0; e < l->input_channels; e++)
        for (unsigned int i = 0; i < l->input_entries; i++)
            l->input_table[e * l->input_entries + i] = i / (l->input_entries - 1.0);
    for (unsigned int o = 0; o < l->output_channels; o++)
        for (unsigned int i = 0; i < l->output_entries; i++)
            l->output_table[o * l->output_entries + i] = i / (l->output_entries - 1.0);
    const size_t points = (size_t)ipow(l->clut_points, l->input_channels);
    std::vector<double> x(l->input_channels);
    for (size_t k = 0; k < points; k++) {
        size_t r = k;
        for (unsigned int e = l->input_channels; e-- > 0; r /= l->clut_points)
            x[e] = double(r % l->clut_points) / (l->clut_points - 1);
        for (unsigned int o = 0; o < l->output_channels; o++)
            l->clut_table[k * l->output_channels + o] = f(x, o);
    }
}

using Lookup = int (*)(icmLut *, double *, const double *);

TEST(IccLut, EdgesOfTheRange) {
    MadeLut m(kLut16, 2, 2, 5, 9, 9);
    fill(m, [](const std::vector<double> &x, unsigned int o) { return o ? x[0] * x[1] : 0.2 + 0.5 * x[1]; });
    m.l->input_table[8] = 0.9;  // the last entry of channel 0
    struct Op {
        const char *name;
        Lookup fn;
    } ops[] = {
        {"input", m.l->lookup_input},
        {"output", m.l->lookup_output},
        {"multilinear", m.l->icmLut_lookup_clut},
        {"simplex", m.l->icmLut_lookup_clut_sx},
    };
    for (const Op &op : ops) {
        SCOPED_TRACE(op.name);
        double one[2] = {1.0, 1.0}, top[2], above[2] = {1.0001, 0.5}, clipped[2], at[2] = {1.0, 0.5},
               below[2] = {-0.001, 0.5}, low[2], zero[2] = {0.0, 0.5}, at0[2];
        EXPECT_EQ(op.fn(m.l, top, one), 0);
        EXPECT_EQ(op.fn(m.l, clipped, above), 1);
        EXPECT_EQ(op.fn(m.l, at0, at), 0);
        EXPECT_DOUBLE_EQ(clipped[0], at0[0]) << "clipped to the last entry";
        EXPECT_EQ(op.fn(m.l, low, below), 1);
        EXPECT_EQ(op.fn(m.l, at0, zero), 0);
        EXPECT_DOUBLE_EQ(low[0], at0[0]);
        double nan_in[2] = {NAN, 0.5};
        EXPECT_EQ(op.fn(m.l, low, nan_in), 1) << "NaN is clipped, not indexed";
        EXPECT_DOUBLE_EQ(low[0], at0[0]);
    }
    double in[2] = {1.0, 1.0}, out[2];
    m.l->lookup_input(m.l, out, in);
    EXPECT_DOUBLE_EQ(out[0], 0.9) << "the last entry of the table";
    m.l->icmLut_lookup_clut(m.l, out, in);
    EXPECT_DOUBLE_EQ(out[0], 0.7);
    EXPECT_DOUBLE_EQ(out[1], 1.0);
}

TEST(IccLut, InterpolationsAgreeWhereTheyMust) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> any(0.0, 1.0);

    // Random CLUT: both give the grid values at grid points and the same
    // (linear) values along cell edges.
    MadeLut r(kLut16, 3, 2, 5);
    fill(r, [&](const std::vector<double> &, unsigned int) { return any(rng); });
    for (int k = 0; k < 500; k++) {
        double in[3], a[2], b[2];
        for (double &v : in)
            v = std::floor(any(rng) * 5) / 4;
        if (k % 2)
            in[k % 3] = any(rng);  // along one edge
        ASSERT_EQ(r.l->icmLut_lookup_clut(r.l, a, in), 0);
        ASSERT_EQ(r.l->icmLut_lookup_clut_sx(r.l, b, in), 0);
        for (int o = 0; o < 2; o++)
            ASSERT_NEAR(a[o], b[o], 1e-12) << k;
    }

    // A linear CLUT is reproduced inside its cells by both, for every count
    // of inputs, past the 8 whose weights the multilinear keeps at hand.
    for (unsigned int n : {1u, 2u, 3u, 4u, 9u, 12u}) {
        SCOPED_TRACE(n);
        MadeLut m(kLut8, n, 2, n <= 4 ? 4 : 2, 256, 256);
        std::vector<double> w(n);
        for (unsigned int e = 0; e < n; e++)
            w[e] = (e + 1.0) / (n * (n + 1.0));
        auto lin = [&](const std::vector<double> &x, unsigned int o) {
            double s = o ? 0.1 : 0.0;
            for (unsigned int e = 0; e < n; e++)
                s += w[e] * (o ? 1 - x[e] : x[e]);
            return s;
        };
        fill(m, lin);
        for (int k = 0; k < 50; k++) {
            std::vector<double> x(n);
            for (double &v : x)
                v = any(rng);
            double a[2], b[2];
            ASSERT_EQ(m.l->icmLut_lookup_clut(m.l, a, x.data()), 0);
            ASSERT_EQ(m.l->icmLut_lookup_clut_sx(m.l, b, x.data()), 0);
            for (unsigned int o = 0; o < 2; o++) {
                EXPECT_NEAR(a[o], lin(x, o), 1e-12);
                EXPECT_NEAR(b[o], lin(x, o), 1e-12);
            }
        }
    }
}

TEST(IccLut, OutputMayBeTheInput) {
    MadeLut m(kLut16, 3, 3, 3, 5, 5);
    fill(m, [](const std::vector<double> &x, unsigned int o) { return x[(o + 1) % 3] * 0.5 + 0.25 * x[o]; });
    m.l->matrix[0][1] = 0.5;
    const Lookup ops[] = {m.l->lookup_matrix, m.l->lookup_input, m.l->icmLut_lookup_clut,
                          m.l->icmLut_lookup_clut_sx, m.l->lookup_output};
    for (Lookup fn : ops) {
        double in[3] = {0.3, 0.6, 0.9}, apart[3], same[3] = {0.3, 0.6, 0.9};
        EXPECT_EQ(fn(m.l, apart, in), fn(m.l, same, same));
        for (int i = 0; i < 3; i++)
            EXPECT_EQ(apart[i], same[i]);
    }
    double in[3] = {1.0, 2.0, 3.0};
    m.l->lookup_matrix(m.l, in, in);
    EXPECT_EQ(in[0], 2.0);
    EXPECT_EQ(m.l->matrix_is_not_identity(m.l), 1);
}

TEST(IccLut, ClutMinMax) {
    MadeLut m(kLut16, 3, 2, 4);
    fill(m, [](const std::vector<double> &x, unsigned int o) {
        return o ? 1.0 - x[0] : 0.1 * x[0] + 0.3 * x[1] + 0.5 * x[2];
    });
    double lo[3], hi[3];
    m.l->clut_min_max(m.l, lo, hi, 0);
    for (int e = 0; e < 3; e++) {
        EXPECT_EQ(lo[e], 0.0);
        EXPECT_EQ(hi[e], 1.0);
    }
    m.l->clut_min_max(m.l, lo, hi, 1);  // falls along input 0; ties go to the first
    EXPECT_EQ(std::vector<double>(lo, lo + 3), (std::vector<double>{1.0, 0.0, 0.0}));
    EXPECT_EQ(std::vector<double>(hi, hi + 3), (std::vector<double>{0.0, 0.0, 0.0}));
    m.l->clut_min_max(m.l, lo, hi, -1);  // the sum: 1 - 0.9 x0 + ...
    EXPECT_EQ(std::vector<double>(lo, lo + 3), (std::vector<double>{1.0, 0.0, 0.0}));
    EXPECT_EQ(std::vector<double>(hi, hi + 3), (std::vector<double>{0.0, 1.0, 1.0}));
    lo[0] = hi[0] = 0.5;
    m.l->clut_min_max(m.l, lo, hi, 2);  // a channel it does not have
    EXPECT_EQ(lo[0], 0.0);
    EXPECT_EQ(hi[0], 0.0);
}

void same_values(void *, double *out, const double *in) {
    for (int i = 0; i < 15; i++)
        out[i] = in[i];
}

TEST(IccLut, SetTables) {
    MadeLut m(kLut16, 3, 3, 3, 5, 7);
    ASSERT_EQ(m.l->icmLut_set_tables(m.l, nullptr, icmSig("RGB "), icmSig("CMY "), same_values, nullptr,
                                     nullptr, same_values, nullptr, nullptr, same_values),
              0);
    for (unsigned int e = 0; e < 3; e++)
        for (unsigned int i = 0; i < 5; i++)
            EXPECT_DOUBLE_EQ(m.l->input_table[e * 5 + i], i / 4.0);
    for (unsigned int o = 0; o < 3; o++)
        for (unsigned int i = 0; i < 7; i++)
            EXPECT_DOUBLE_EQ(m.l->output_table[o * 7 + i], i / 6.0);
    // Grid point (0, 1, 2) of 3 points holds its coordinates.
    EXPECT_DOUBLE_EQ(m.l->clut_table[(0 * 9 + 1 * 3 + 2) * 3 + 0], 0.0);
    EXPECT_DOUBLE_EQ(m.l->clut_table[(0 * 9 + 1 * 3 + 2) * 3 + 1], 0.5);
    EXPECT_DOUBLE_EQ(m.l->clut_table[(0 * 9 + 1 * 3 + 2) * 3 + 2], 1.0);

    // Ranges given: input entries are spread over them, clamped outside.
    const double lo[3] = {0.25, 0.25, 0.25}, hi[3] = {0.75, 0.75, 0.75};
    ASSERT_EQ(m.l->icmLut_set_tables(m.l, nullptr, icmSig("RGB "), icmSig("CMY "), nullptr, lo, hi,
                                     same_values, nullptr, nullptr, nullptr),
              0);
    EXPECT_EQ(m.l->input_table[0], 0.0);
    EXPECT_DOUBLE_EQ(m.l->input_table[2], 0.5);
    EXPECT_EQ(m.l->input_table[4], 1.0);
    EXPECT_DOUBLE_EQ(m.l->clut_table[3 * 1 + 0], 0.25) << "grid point (0, 0, 1) lies at the range's corner";
    EXPECT_DOUBLE_EQ(m.l->clut_table[3 * 1 + 2], 0.5);
    EXPECT_DOUBLE_EQ(m.l->clut_table[3 * 2 + 2], 0.75);

    // A Lab input in 16 bits spans up to L 100 (0xFF00), not the whole index.
    MadeLut lab(kLut16, 3, 3, 2, 3, 2);
    ASSERT_EQ(lab.l->icmLut_set_tables(lab.l, nullptr, icmSig("Lab "), icmSig("RGB "), nullptr, nullptr,
                                       nullptr, same_values, nullptr, nullptr, nullptr),
              0);
    EXPECT_NEAR(lab.l->input_table[1], 0.5 * 65535.0 / 65280.0, 1e-12);
    EXPECT_EQ(lab.l->input_table[2], 1.0) << "clamped";

    // Tables not allocated yet are made rather than written through null.
    MadeLut bare(kLut16, 1, 1, 2, 3, 3, false);
    ASSERT_EQ(bare.l->icmLut_set_tables(bare.l, nullptr, icmSig("GRAY"), icmSig("GRAY"), nullptr, nullptr,
                                        nullptr, same_values, nullptr, nullptr, nullptr),
              0);
    EXPECT_EQ(bare.l->output_table[2], 1.0);
    MadeLut unusable(kLut16, 0, 1, 2, 3, 3, false);
    EXPECT_EQ(unusable.l->icmLut_set_tables(unusable.l, nullptr, icmSig("GRAY"), icmSig("GRAY"), nullptr,
                                            nullptr, nullptr, same_values, nullptr, nullptr, nullptr),
              1);
    EXPECT_STREQ(unusable.p->error_text, "icmLut_alloc: Unusable table sizes");

    struct Refusal {
        uint32_t type, in, out;
        const char *text;
    } refusals[] = {
        {kLut8, icmSig("XYZ "), icmSig("RGB "), "icmLut_set_tables index to input colorspace function lookup failed"},
        {kLut16, icmSig("YCbr"), icmSig("RGB "), "icmLut_set_tables index to input colorspace function lookup failed"},
        {kLut8, icmSig("RGB "), icmSig("XYZ "),
         "icmLut_set_tables output colorspace to table entry function lookup failed"},
        {kLut16, icmSig("CMYK"), icmSig("MCH5"),
         "icmLut_set_tables output colorspace to table entry function lookup failed"},
    };
    for (const Refusal &r : refusals) {
        MadeLut x(r.type, 3, 3, 2, r.type == kLut8 ? 256 : 2, r.type == kLut8 ? 256 : 2);
        EXPECT_EQ(x.l->icmLut_set_tables(x.l, nullptr, r.in, r.out, nullptr, nullptr, nullptr, same_values,
                                         nullptr, nullptr, nullptr),
                  1);
        EXPECT_STREQ(x.p->error_text, r.text);
    }
}

TEST(IccLutSpaces, TableAndConversions) {
    struct Case {
        const char *space;
        uint32_t type;
        bool found;
        int copies;  // 0: not a copy
    } cases[] = {
        {"XYZ ", kLut8, false, 0}, {"XYZ ", kLut16, true, 0}, {"Lab ", kLut8, true, 0},
        {"Luv ", kLut16, true, 0}, {"GRAY", kLut8, true, 1},  {"2CLR", kLut16, true, 2},
        {"Yxy ", kLut8, true, 3},  {"HLS ", kLut16, true, 3}, {"CMYK", kLut16, true, 4},
        {"5CLR", kLut8, true, 5},  {"MCH6", kLut16, true, 6}, {"9CLR", kLut8, true, 9},
        {"FCLR", kLut16, true, 15}, {"YCbr", kLut16, false, 0}, {"MCH5", kLut16, false, 0},
        {"RGB ", icmSig("mft3"), false, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.space);
        for (int dir = 0; dir < 4; dir++) {
            icmLutSpaceFunc fn = nullptr;
            ASSERT_EQ(icmLutSpaceConversion(str2tag(c.space), c.type, dir, &fn), c.found ? 0 : 1);
            if (!c.found)
                continue;
            double in[16], out[16];
            for (int i = 0; i < 16; i++)
                in[i] = 0.03 * (i + 1), out[i] = -1;
            fn(out, in);
            if (c.copies) {
                for (int i = 0; i < 16; i++)
                    EXPECT_EQ(out[i], i < c.copies ? in[i] : -1) << i;
            } else {
                EXPECT_EQ(out[3], -1) << "three values";
                icmLutSpaceFunc back = nullptr;
                ASSERT_EQ(icmLutSpaceConversion(str2tag(c.space), c.type, dir ^ 1, &back), 0);
                back(out, out);
                for (int i = 0; i < 3; i++)
                    EXPECT_NEAR(out[i], in[i], 1e-12) << "there and back";
            }
        }
    }
    icmLutSpaceFunc fn = nullptr;
    EXPECT_EQ(icmLutSpaceConversion(icmSig("RGB "), kLut16, 4, &fn), 1);
    EXPECT_EQ(icmLutSpaceConversion(icmSig("RGB "), kLut16, -1, &fn), 1);

    struct Value {
        const char *space;
        uint32_t type;
        int dir;
        double in[3], out[3];
    } values[] = {
        {"Lab ", kLut16, icmLutIndexToSpace, {65280 / 65535.0, 0.5, 1.0}, {100.0, 0.0 - 0.001953125, 127.99609375}},
        {"Lab ", kLut8, icmLutIndexToSpace, {1.0, 128 / 255.0, 0.0}, {100.0, 0.0, -128.0}},
        {"Lab ", kLut8, icmLutSpaceToEntry, {50.0, 0.0, 127.0}, {0.5, 128 / 255.0, 1.0}},
        {"XYZ ", kLut16, icmLutIndexToSpace, {0.5, 1.0, 0.0}, {65535 / 65536.0, 65535 / 32768.0, 0.0}},
        {"Luv ", kLut8, icmLutEntryToSpace, {1.0, 0.5, 0.0}, {100.0, -0.001953125, -128.0}},
    };
    for (const Value &v : values) {
        ASSERT_EQ(icmLutSpaceConversion(str2tag(v.space), v.type, v.dir, &fn), 0);
        double out[3];
        fn(out, v.in);
        for (int i = 0; i < 3; i++)
            EXPECT_NEAR(out[i], v.out[i], 1e-9) << v.space << " " << i;
    }
}

}  // namespace
