// Number encodings and the text forms of signatures and values.
#include "support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

using namespace icctest;

namespace {

struct WriteCase {
    const char *what;
    int (*write)(double, unsigned char *);
    double value;
    int rv;
    Bytes expect;  // the bytes written; empty when refused
};

TEST(IccEncodings, FixedPointWritersRoundAndRefuseAsStored) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const WriteCase cases[] = {
        {"s15 0.2 rounds up", write_S15Fixed16Number, 0.2, 0, {0x00, 0x00, 0x33, 0x34}},
        {"s15 half step up", write_S15Fixed16Number, 0.5 / 65536, 0, {0, 0, 0, 1}},
        {"s15 -1.5 steps", write_S15Fixed16Number, -1.5 / 65536, 0, {0xff, 0xff, 0xff, 0xff}},
        {"s15 smallest", write_S15Fixed16Number, -32768.0, 0, {0x80, 0, 0, 0}},
        {"s15 too large", write_S15Fixed16Number, 32768.0, 1, {}},
        {"s15 below range", write_S15Fixed16Number, -32768.0 - 1.0 / 65536, 1, {}},
        {"s15 NaN", write_S15Fixed16Number, nan, 1, {}},
        {"u16 one", write_U16Fixed16Number, 1.0, 0, {0, 1, 0, 0}},
        {"u16 just fits", write_U16Fixed16Number, 65535.9999923, 0, {0xff, 0xff, 0xff, 0xff}},
        {"u16 too large", write_U16Fixed16Number, 65535.99999237060546875, 1, {}},
        {"u16 -half step", write_U16Fixed16Number, -0.5 / 65536, 0, {0, 0, 0, 0}},
        {"u16 below", write_U16Fixed16Number, -0.5000001 / 65536, 1, {}},
        {"u16 NaN", write_U16Fixed16Number, nan, 1, {}},
        {"u8f8 one", write_U8Fixed8Number, 1.0, 0, {1, 0}},
        {"u8f8 rounds", write_U8Fixed8Number, 2.2, 0, {0x02, 0x33}},
        {"u8f8 too large", write_U8Fixed8Number, 255.999, 1, {}},
        {"u8f8 negative", write_U8Fixed8Number, -0.01, 1, {}},
        {"dcs8 one", write_DCS8Number, 1.0, 0, {0xff}},
        {"dcs8 half", write_DCS8Number, 0.5, 0, {0x80}},
        {"dcs8 too large", write_DCS8Number, 1.002, 1, {}},
        {"dcs16 one", write_DCS16Number, 1.0, 0, {0xff, 0xff}},
        {"dcs16 too large", write_DCS16Number, 1.00001, 1, {}},
        {"dcs16 negative", write_DCS16Number, -0.00001, 1, {}},
    };
    for (const WriteCase &c : cases) {
        unsigned char out[4] = {0xaa, 0xaa, 0xaa, 0xaa};
        EXPECT_EQ(c.write(c.value, out), c.rv) << c.what;
        if (c.rv == 0)
            EXPECT_EQ(Bytes(out, out + c.expect.size()), c.expect) << c.what;
        else
            EXPECT_EQ(Bytes(out, out + 4), Bytes(4, 0xaa)) << c.what << ": refused writes nothing";
    }
}

TEST(IccEncodings, IntegerWritersCheckTheirRange) {
    unsigned char b[8] = {0};
    EXPECT_EQ(write_UInt8Number(255, b), 0);
    EXPECT_EQ(write_UInt8Number(256, b), 1);
    EXPECT_EQ(b[0], 255);
    EXPECT_EQ(write_UInt16Number(65535, b), 0);
    EXPECT_EQ(write_UInt16Number(65536, b), 1);
    EXPECT_EQ(read_UInt16Number(b), 65535u);
    EXPECT_EQ(write_SInt32Number(-2, b), 0);
    EXPECT_EQ(Bytes(b, b + 4), (Bytes{0xff, 0xff, 0xff, 0xfe}));
    EXPECT_EQ(read_SInt32Number(b), -2);
    icmUint64 v{0x05060708u, 0x01020304u};
    EXPECT_EQ(write_UInt64Number(&v, b), 0);
    EXPECT_EQ(Bytes(b, b + 8), (Bytes{1, 2, 3, 4, 5, 6, 7, 8})) << "high word first";
    icmUint64 r = read_UInt64Number(b);
    EXPECT_EQ(r.h, 0x01020304u);
    EXPECT_EQ(r.l, 0x05060708u);
}

TEST(IccEncodings, ReadersScaleExactly) {
    const unsigned char s15[4] = {0xff, 0xff, 0x80, 0x00};
    EXPECT_EQ(read_S15Fixed16Number(s15), -0.5);
    const unsigned char u16[4] = {0x00, 0x01, 0x80, 0x00};
    EXPECT_EQ(read_U16Fixed16Number(u16), 1.5);
    const unsigned char u8f8[2] = {0x01, 0x80};
    EXPECT_EQ(read_U8Fixed8Number(u8f8), 1.5);
    const unsigned char full[2] = {0xff, 0xff};
    EXPECT_EQ(read_DCS16Number(full), 1.0);
    EXPECT_EQ(read_DCS8Number(full), 1.0);
    // Every 16-bit fraction survives a round trip.
    for (unsigned int v = 0; v < 65536; v += 97) {
        unsigned char b[2], w[2];
        b[0] = uint8_t(v >> 8);
        b[1] = uint8_t(v);
        ASSERT_EQ(write_DCS16Number(read_DCS16Number(b), w), 0);
        ASSERT_EQ(read_UInt16Number(w), v);
    }
}

TEST(IccEncodings, XYZStopsAtTheFirstRefusedComponent) {
    unsigned char b[12];
    memset(b, 0xaa, sizeof b);
    icmXYZNumber v{0.5, 40000.0, 1.0};
    EXPECT_EQ(write_XYZNumber(&v, b), 1);
    EXPECT_EQ(read_UInt32Number(b), 0x8000u) << "X was written before Y failed";
    EXPECT_EQ(b[4], 0xaa);
    v.Y = -0.25;
    ASSERT_EQ(write_XYZNumber(&v, b), 0);
    icmXYZNumber r;
    EXPECT_EQ(read_XYZNumber(&r, b), 0);
    EXPECT_EQ(r.X, 0.5);
    EXPECT_EQ(r.Y, -0.25);
    EXPECT_EQ(r.Z, 1.0);
}

TEST(IccEncodings, DateTimeRange) {
    struct Case {
        unsigned int f[6];
        int legal;
    } cases[] = {
        {{2000, 12, 31, 23, 59, 59}, 1}, {{1900, 1, 1, 0, 0, 0}, 1}, {{3000, 1, 1, 0, 0, 0}, 1},
        {{1899, 6, 1, 0, 0, 0}, 0},      {{3001, 6, 1, 0, 0, 0}, 0}, {{2000, 0, 1, 0, 0, 0}, 0},
        {{2000, 13, 1, 0, 0, 0}, 0},     {{2000, 1, 0, 0, 0, 0}, 0}, {{2000, 1, 32, 0, 0, 0}, 0},
        {{2000, 1, 1, 24, 0, 0}, 0},     {{2000, 1, 1, 0, 60, 0}, 0}, {{2000, 1, 1, 0, 0, 60}, 0},
    };
    for (const Case &c : cases) {
        unsigned char b[12];
        for (int i = 0; i < 6; i++) {
            b[2 * i] = uint8_t(c.f[i] >> 8);
            b[2 * i + 1] = uint8_t(c.f[i]);
        }
        icmDateTimeNumber d{};
        EXPECT_EQ(read_DateTimeNumber(&d, b), c.legal ? 0 : 1) << c.f[0] << "-" << c.f[1];
        EXPECT_EQ(d.year, c.f[0]) << "stored even when refused";
        EXPECT_EQ(d.seconds, c.f[5]);
        unsigned char w[12];
        memset(w, 0xaa, sizeof w);
        EXPECT_EQ(write_DateTimeNumber(&d, w), c.legal ? 0 : 1);
        if (c.legal)
            EXPECT_EQ(Bytes(w, w + 12), Bytes(b, b + 12));
        else
            EXPECT_EQ(w[0], 0xaa) << "nothing written";
    }
}

TEST(IccTexts, SignaturesAndSpaces) {
    EXPECT_STREQ(tag2str(icmSig("mntr")), "'mntr'");
    EXPECT_STREQ(tag2str(1), "0x1");
    EXPECT_STREQ(tag2str(0x41424300), "0x41424300");
    // Five rotating buffers: a result survives four more calls.
    const char *first = tag2str(icmSig("aaaa"));
    for (int i = 0; i < 4; i++)
        tag2str(icmSig("bbbb"));
    EXPECT_STREQ(first, "'aaaa'");
    EXPECT_EQ(str2tag("mntr"), icmSig("mntr"));
    EXPECT_EQ(str2tag("ab"), 0x61620000u) << "a short text stops at its end";

    EXPECT_STREQ(colorspace2str(icmSig("MCH6")), "6 Color");
    EXPECT_STREQ(colorspace2str(icmSig("6CLR")), "6 Color");
    EXPECT_STREQ(colorspace2str(icmSig("YCbr")), "YCbCr");
    EXPECT_STREQ(colorspace2str(icmSig("abcd")), "Unrecognized - 'abcd'");
    EXPECT_EQ(colorspace2nchan(icmSig("CMYK")), 4u);
    EXPECT_EQ(colorspace2nchan(icmSig("FCLR")), 15u);
    EXPECT_EQ(colorspace2nchan(icmSig("GRAY")), 1u);
    EXPECT_EQ(colorspace2nchan(icmSig("MCH8")), 8u);
    EXPECT_EQ(colorspace2nchan(icmSig("abcd")), 0u);

    EXPECT_STREQ(tagsig2str(icmSig("desc")), "Profile Description");
    EXPECT_STREQ(tagsig2str(icmSig("view")), "Viewing Condition Paramaters");
    EXPECT_STREQ(tagsig2str(icmSig("zzzz")), "Unrecognized - 'zzzz'");
    EXPECT_STREQ(tagtype2str(icmSig("XYZ ")), "XYZ (Array?)");
    EXPECT_STREQ(tagtype2str(icmSig("bfd ")), "Under Color Removal & Black Generation");
    EXPECT_STREQ(tagtype2str(2), "Unrecognized - 0x2");
}

TEST(IccTexts, HeaderValues) {
    EXPECT_STREQ(devclass2str(icmSig("prtr")), "Output");
    EXPECT_STREQ(devclass2str(icmSig("xxxx")), "Unrecognized - 'xxxx'");
    EXPECT_STREQ(platform2str(icmSig("SGI ")), "SGI");
    EXPECT_STREQ(intent2str(3), "Absolute Colorimetric");
    EXPECT_STREQ(intent2str(0xFFFFFFFFu), "Unrecognized - 0xffffffff");
    EXPECT_STREQ(profflags2str(0), "Not Embedded Profile, Use anywhere");
    EXPECT_STREQ(profflags2str(3), "Embedded Profile, Use with embedded data only");
    EXPECT_STREQ(devattr2str(icmUint64{0, 0}), "Reflective, Glossy");
    EXPECT_STREQ(devattr2str(icmUint64{3, 0}), "Transparency, Matte");

    icmDateTimeNumber d{};
    d.year = 2000, d.month = 12, d.day = 31, d.hours = 23, d.minutes = 59, d.seconds = 59;
    EXPECT_STREQ(DateTimeNumber2str(&d), "31 Dec 2000, 23:59:59");
    d.month = 0;
    EXPECT_STREQ(DateTimeNumber2str(&d), "31  2000, 23:59:59");
    d.month = 40;  // set by a caller: no name, no wild read
    EXPECT_STREQ(DateTimeNumber2str(&d), "31  2000, 23:59:59");
}

TEST(IccTexts, HugeValuesAreCutNotOverrun) {
    icmXYZNumber v{1e300, -1e300, 0.5};
    const char *s = XYZ2str(&v);
    EXPECT_LT(strlen(s), 100u);
    EXPECT_EQ(std::string(s).substr(0, 10), "1000000000");
    icmXYZNumber small{0.9642, 1.0, 0.8249};
    EXPECT_STREQ(XYZ2str(&small), "0.964200, 1.000000, 0.824900");
}

}  // namespace
