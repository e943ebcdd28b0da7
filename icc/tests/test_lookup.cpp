// Colour maths, the choice of lookup object and its construction, on
// hand-built profiles.
#include "tag_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace icctest;

namespace {

const icmXYZNumber kD50 = {0.9642, 1.0, 0.8249};

Bytes s15(std::initializer_list<double> v) {
    Bytes b;
    for (double d : v)
        push32(b, (uint32_t)(int32_t)std::lround(d * 65536.0));
    return b;
}

Bytes xyz(double X, double Y, double Z) {
    return tag_bytes(icmSig("XYZ "), s15({X, Y, Z}));
}

Bytes curve(std::initializer_list<double> entries) {
    Bytes b;
    push32(b, (uint32_t)entries.size());
    for (double e : entries)
        push16(b, (unsigned int)std::lround(e * (entries.size() == 1 ? 256.0 : 65535.0)));
    return tag_bytes(icmSig("curv"), b);
}

// A Lut with identity tables whose CLUT holds clut(grid position, output).
Bytes lut(uint32_t type, unsigned int in, unsigned int out, std::function<double(const unsigned *, unsigned)> clut,
          std::initializer_list<double> matrix = {1, 0, 0, 0, 1, 0, 0, 0, 1}) {
    const bool lut8 = type == icmSig("mft1");
    const unsigned int entries = lut8 ? 256 : 2, points = 3;
    Bytes b = {uint8_t(in), uint8_t(out), uint8_t(points), 0};
    Bytes m = s15(matrix);
    b.insert(b.end(), m.begin(), m.end());
    if (!lut8) {
        push16(b, entries);
        push16(b, entries);
    }
    auto put = [&](double v) {
        if (lut8)
            b.push_back(uint8_t(std::lround(v * 255)));
        else
            push16(b, (unsigned int)std::lround(v * 65535));
    };
    for (unsigned int e = 0; e < in; e++)
        for (unsigned int i = 0; i < entries; i++)
            put(i / (entries - 1.0));
    unsigned int idx[icmLutMaxChan] = {};
    for (uint64_t k = 0; k < ipow(points, in); k++) {
        for (unsigned int e = in, r = (unsigned int)k; e-- > 0; r /= points)
            idx[e] = r % points;
        for (unsigned int o = 0; o < out; o++)
            put(clut(idx, o));
    }
    for (unsigned int o = 0; o < out; o++)
        for (unsigned int i = 0; i < entries; i++)
            put(i / (entries - 1.0));
    return tag_bytes(type, b);
}

Bytes flat_lut(unsigned int in, unsigned int out, double v) {
    return lut(icmSig("mft2"), in, out, [v](const unsigned *, unsigned) { return v; });
}

const Bytes kText = tag_bytes(icmSig("text"), {'x', 0});

RawProfile profile(const char *cls, const char *cs, const char *pcs, std::vector<RawTag> tags) {
    RawProfile r;
    r.deviceClass = str2tag(cls);
    r.colorSpace = str2tag(cs);
    r.pcs = str2tag(pcs);
    r.tags = {{icmSig("desc"), kText}, {icmSig("cprt"), kText}};
    r.tags.insert(r.tags.end(), tags.begin(), tags.end());
    return r;
}

RawTag wtpt(icmXYZNumber w = kD50) {
    return {icmSig("wtpt"), xyz(w.X, w.Y, w.Z)};
}

// Display profile: gamma 2 curves and the given colourants.
RawProfile matrix_display(double rx, double gx) {
    return profile("mntr", "RGB ", "XYZ ",
                   {wtpt(), {icmSig("rXYZ"), xyz(rx, 0.2, 0.01)}, {icmSig("gXYZ"), xyz(gx, 0.2, 0.01)},
                    {icmSig("bXYZ"), xyz(0.15, 0.06, 0.7)}, {icmSig("rTRC"), curve({2.0})},
                    {icmSig("gTRC"), curve({2.0})}, {icmSig("bTRC"), curve({2.0})}});
}

// Output profile over CMYK whose 'A2B0' and 'A2B1' differ; a2b1 gives
// the Lut of intent 1.
RawProfile cmyk_printer(Bytes a2b1 = flat_lut(4, 3, 0.7), icmXYZNumber white = kD50) {
    std::vector<RawTag> t = {wtpt(white), {icmSig("A2B0"), flat_lut(4, 3, 0.2)}, {icmSig("A2B1"), a2b1},
                             {icmSig("A2B2"), flat_lut(4, 3, 0.5)}, {icmSig("B2A0"), flat_lut(3, 4, 0.1)},
                             {icmSig("gamt"), flat_lut(3, 1, 0.0)}};
    for (const char *s : {"B2A1", "B2A2"})
        t.push_back({str2tag(s), flat_lut(3, 4, 0.1)});
    return profile("prtr", "CMYK", "Lab ", t);
}

TEST(IccLookup, ColourMaths) {
    double v[3] = {kD50.X, kD50.Y, kD50.Z};
    icmXYZ2Lab(&kD50, v, v);
    EXPECT_NEAR(v[0], 100.0, 1e-9);
    EXPECT_NEAR(v[1], 0.0, 1e-9);
    EXPECT_NEAR(v[2], 0.0, 1e-9);
    const double edge[3] = {0.5, 0.008856451586, 0.5};  // the edge itself is linear
    icmXYZ2Lab(&kD50, v, edge);
    EXPECT_DOUBLE_EQ(v[0], 903.2963058 * 0.008856451586);
    const double dark[3] = {8.0, 0.0, 0.0};
    icmLab2XYZ(&kD50, v, dark);
    EXPECT_DOUBLE_EQ(v[1], 8.0 / 903.2963058);
    for (const double lab : {0.5, 7.9, 8.1, 50.0, 99.0}) {
        const double in[3] = {lab, lab - 40.0, 30.0 - lab};
        icmLab2XYZ(&kD50, v, in);
        icmXYZ2Lab(&kD50, v, v);
        for (int i = 0; i < 3; i++)
            EXPECT_NEAR(v[i], in[i], 1e-9) << lab;
    }

    // Determinants just below and above the limit; the inverse of the second.
    for (const double d : {0.99e-8, 1.01e-8}) {
        const double m[3][3] = {{0, 2, 0}, {0.5, 0, 0}, {0, 0, -d}};
        double inv[3][3] = {{7}};
        ASSERT_EQ(icmInverse3x3(inv, m), d < 1e-8 ? 1 : 0) << d;
        if (d < 1e-8) {
            EXPECT_EQ(inv[0][0], 7.0) << "nothing written";
            continue;
        }
        for (int i = 0; i < 3; i++)
            for (int j = 0; j < 3; j++)
                EXPECT_NEAR(m[i][0] * inv[0][j] + m[i][1] * inv[1][j] + m[i][2] * inv[2][j], i == j, 1e-9);
    }

}

TEST(IccLookup, ChoiceAndConstruction) {
    // Links made for intent 3: without 'wtpt', with one of another type,
    // one without a value, and a proper one.
    Bytes links[4];
    const Bytes wtpts[4] = {{}, kText, tag_bytes(icmSig("XYZ "), {}), xyz(0.9642, 1.0, 0.8249)};
    for (int k = 0; k < 4; k++) {
        RawProfile r = profile("link", "RGB ", "CMYK", {{icmSig("A2B0"), flat_lut(3, 4, 0.3)}, {icmSig("pseq"), kText}});
        if (k > 0)
            r.tags.push_back({icmSig("wtpt"), wtpts[k]});
        links[k] = r.build();
        put32(links[k], 64, 3);
    }
    Bytes identity;  // LittleCMS's XYZ identity: its one Lut has no grid
    for (const OracleProfile &o : lcms_v2_profiles())
        if (o.path == "lcms:XYZ")
            identity = o.data;
    RawProfile named = profile("nmcl", "RGB ", "Lab ", {wtpt(), {icmSig("ncl2"), tag_bytes(icmSig("ncl2"), {})}});
    auto xyz_out = [](const char *cls, uint32_t type) {
        Bytes l = lut(type, 3, 3, [](const unsigned *g, unsigned o) { return g[o] / 2.0; });
        return profile(cls, "RGB ", "XYZ ", {wtpt(), {icmSig("A2B0"), l}, {icmSig("B2A0"), l}});
    };
    RawProfile input_lut = profile("scnr", "CMYK", "Lab ", {wtpt(), {icmSig("A2B0"), flat_lut(4, 3, 0.5)}});
    const std::string white_msg = "icc_lookup: Profile is missing Media White Point Tag";
    const std::string chans_msg = "icc_get_luobj: Lut channels don't match the colorspaces";
    struct Case {
        const char *what;
        Bytes prof;
        int func, intent, order;
        int kind;  // -1: no object; then text and code
        std::string text;
        int code;
    } cases[] = {
        {"output, default intent", cmyk_printer().build(), 0, 98, 0, icmLuLutKind, "", 0},
        {"output, intent 4", cmyk_printer().build(), 0, 4, 0, -1, "icc_get_luobj: Unknown intent", 1},
        {"output, function 5", cmyk_printer().build(), 5, 98, 0, -1, "icc_get_luobj: Inaproptiate function requested", 1},
        {"output, gamut", cmyk_printer().build(), 2, 98, 0, icmLuLutKind, "", 0},
        {"output, 3 inputs", cmyk_printer(flat_lut(3, 3, 0.7)).build(), 0, 1, 0, -1, chans_msg, 1},
        {"output, 5 inputs", cmyk_printer(flat_lut(5, 3, 0.7)).build(), 0, 1, 0, -1, chans_msg, 1},
        {"display, intent 1", matrix_display(0.4, 0.3).build(), 0, 1, 0, -1,
         "icc_get_luobj: Intent is inappropriate for Input/Display profile", 1},
        {"display backward", matrix_display(0.4, 0.3).build(), 1, 98, 0, icmLuMatrixBwdKind, "", 0},
        {"display backward, reversed", matrix_display(0.4, 0.3).build(), 1, 3, 1, icmLuMatrixBwdKind, "", 0},
        {"display, singular", matrix_display(0.4, 0.4).build(), 1, 98, 0, -1, "icc_new_iccLuMatrix: Matrix wasn't invertable", 2},
        {"input Lut backward", input_lut.build(), 1, 98, 0, -1,
         "icc_get_luobj: Profile has no usable tags for the lookup requested", 1},
        {"named", named.build(), 0, 98, 0, -1, "icc_get_luobj: Named Colors not handled yet", 1},
        {"link without wtpt", links[0], 0, 98, 0, -1, white_msg, 1},
        {"link, wtpt of text", links[1], 0, 98, 0, -1, white_msg, 1},
        {"link, wtpt empty", links[2], 0, 98, 0, -1, white_msg, 1},
        {"link, default", links[3], 0, 98, 0, icmLuLutKind, "", 0},
        {"link, its own intent", links[3], 0, 3, 0, icmLuLutKind, "", 0},
        {"link, other intent", links[3], 0, 0, 0, -1, "icc_get_luobj: Intent is inappropriate for Link profile", 1},
        {"XYZ identity", identity, 0, 98, 0, -1, "icmLut_read: Unusable table sizes", 1},
        {"8-bit Lut to XYZ", xyz_out("spac", icmSig("mft1")).build(), 0, 98, 0, -1, "icc_get_luobj: Unknown PCS colorspace", 1},
        {"8-bit Lut from XYZ", xyz_out("spac", icmSig("mft1")).build(), 1, 98, 0, -1, "icc_get_luobj: Unknown device colorspace", 1},
        {"16-bit Lut from XYZ", xyz_out("spac", icmSig("mft2")).build(), 1, 98, 0, icmLuLutKind, "", 0},
    };
    for (Case &c : cases) {
        SCOPED_TRACE(c.what);
        Loaded l = load(c.prof);
        ASSERT_EQ(l.rv, 0) << l.p->error_text;
        Lu lu(l.p->get_luobj(l.p, c.func, c.intent, c.order));
        if (c.kind < 0) {
            EXPECT_FALSE(lu);
            EXPECT_EQ(l.p->error_text, c.text);
            EXPECT_EQ(l.p->error_code, c.code);
            continue;
        }
        ASSERT_TRUE(lu) << l.p->error_text;
        EXPECT_EQ(lu->kind, c.kind);
        int inn = 0, outn = 0;
        lu->spaces(lu.get(), nullptr, &inn, nullptr, &outn);
        double in[icmLutMaxChan] = {0.25, 0.5, 0.75, 1.0}, out[icmLutMaxChan];
        for (int k = 0; k < inn; k++)
            in[k] = in[k % 4] * (c.func == 1 ? 50 : 1);
        EXPECT_LE(lu->lookup(lu.get(), out, in), 1);
        if (get32(c.prof, 12) == icmSig("prtr") && c.func == 0) {  // the 'A2B1' of intent 1
            EXPECT_NEAR(out[0], 0.7 * 100.390625, 0.01);
        }
    }
}

// A gray profile with a Lab PCS and media points: forward and back to the
// grid, relative and absolute.
TEST(IccLookup, MonochromeRoundTripAndAbsoluteScaling) {
    const icmXYZNumber white = {0.9, 0.95, 0.7}, black = {0.02, 0.021, 0.015};
    for (const char *pcs : {"XYZ ", "Lab "}) {
        RawProfile r = profile("mntr", "GRAY", pcs,
                               {{icmSig("wtpt"), xyz(white.X, white.Y, white.Z)},
                                {icmSig("bkpt"), xyz(black.X, black.Y, black.Z)},
                                {icmSig("kTRC"), curve({0.0, 0.05, 0.3, 0.6, 1.0})}});
        Loaded l = load(r.build());
        ASSERT_EQ(l.rv, 0);
        const icmXYZNumber w = l.p->header->illuminant;
        for (const int intent : {98, 3, 99}) {
            SCOPED_TRACE(std::string(pcs) + " intent " + std::to_string(intent));
            Lu fwd(l.p->get_luobj(l.p, icmFwd, intent, icmLuOrdNorm));
            Lu bwd(l.p->get_luobj(l.p, icmBwd, intent, icmLuOrdNorm));
            ASSERT_TRUE(fwd && bwd) << l.p->error_text;
            EXPECT_EQ(fwd->kind, icmLuMonoFwdKind);
            uint32_t out_space;
            fwd->lu_spaces(fwd.get(), nullptr, nullptr, &out_space, nullptr, nullptr);
            EXPECT_EQ(out_space, intent == 99 ? icmSig("XYZ ") : str2tag(pcs));
            for (int k = 0; k <= 100; k++) {
                const double g = k / 100.0;
                double v[3], back;
                ASSERT_EQ(fwd->lookup(fwd.get(), v, &g), 0);
                // Rounding may put the ends a hair outside the curve (1).
                ASSERT_LE(bwd->lookup(bwd.get(), &back, v), 1);
                ASSERT_NEAR(back, g, 1e-6) << k;
                if (k % 100 != 0)
                    continue;
                // White and black land on the PCS white, or on the media's.
                const icmXYZNumber &want = intent == 98 ? (k ? w : icmXYZNumber{0, 0, 0}) : (k ? white : black);
                if (out_space == icmSig("Lab "))
                    icmLab2XYZ(&w, v, v);
                EXPECT_NEAR(v[0], want.X, 1e-4);
                EXPECT_NEAR(v[1], want.Y, 1e-4);
                EXPECT_NEAR(v[2], want.Z, 1e-4);
            }
        }
    }
}

// Intents 3 and 99 of a Lut: the relative result scaled to the media white,
// in Lab or exchanged as XYZ, and the stage that undoes it.
TEST(IccLookup, LutAbsoluteIntents) {
    const icmXYZNumber white = {0.9, 0.95, 0.7};
    Bytes a2b1 = lut(icmSig("mft2"), 4, 3, [](const unsigned *g, unsigned o) { return 0.2 + 0.1 * g[o]; });
    Loaded l = load(cmyk_printer(a2b1, white).build());
    const icmXYZNumber P = l.p->header->illuminant;
    const double cmyk[4] = {0.1, 0.4, 0.8, 0.0};
    Lu rel(l.p->get_luobj(l.p, icmFwd, 1, icmLuOrdNorm));
    ASSERT_TRUE(rel);
    double rel_out[3];
    ASSERT_EQ(rel->lookup(rel.get(), rel_out, cmyk), 0);
    for (const int intent : {3, 99}) {
        Lu lu(l.p->get_luobj(l.p, icmFwd, intent, icmLuOrdNorm));
        ASSERT_TRUE(lu);
        auto *ll = static_cast<iccLuLut *>(lu.get());
        icmXYZNumber w, b;  // as the profile holds them
        ll->get_info(ll, nullptr, nullptr, &w, &b);
        EXPECT_NEAR(w.Y, white.Y, 1e-4);
        double want[3], out[3], back[3];
        icmLab2XYZ(&P, want, rel_out);
        icmXYZRelToAbs(&P, &w, &b, want, want);
        ASSERT_EQ(lu->lookup(lu.get(), out, cmyk), 0);
        if (intent == 3)
            icmLab2XYZ(&P, out, out);
        for (int i = 0; i < 3; i++)
            EXPECT_NEAR(out[i], want[i], 1e-9) << intent;
        ll->out_abs(ll, out, rel_out);
        ll->inv_out_abs(ll, back, out);
        for (int i = 0; i < 3; i++)
            EXPECT_NEAR(back[i], rel_out[i], 1e-9) << intent;
    }
}

}  // namespace
