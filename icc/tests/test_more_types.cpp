// Named colour, description, sequence, signature, screening, CRD, viewing and
// UCR/BG tag types.
#include "support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

using namespace icctest;

namespace {

// Big-endian tag bytes, built field by field.
struct B {
    Bytes b;
    B &u8(unsigned int v) {
        b.push_back(uint8_t(v));
        return *this;
    }
    B &u16(unsigned int v) { return u8(v >> 8).u8(v); }
    B &u32(uint32_t v) { return u16(v >> 16).u16(v & 0xFFFF); }
    B &sig(const char *s) { return u32(str2tag(s)); }
    B &head(const char *type) { return sig(type).u32(0); }
    // The text and its terminator, zero-padded to `field` bytes when given.
    B &str(const char *s, size_t field = 0) {
        size_t n = strlen(s) + 1;
        b.insert(b.end(), s, s + n);
        for (; n < field; n++)
            b.push_back(0);
        return *this;
    }
    B &zeros(size_t n) {
        b.insert(b.end(), n, 0);
        return *this;
    }
    B &add(const Bytes &more) {
        b.insert(b.end(), more.begin(), more.end());
        return *this;
    }
};

// A profile object over a stream holding one tag at offset 0, and that tag.
struct Tag {
    icc *p = new_icc();
    std::unique_ptr<MemStream> ms;
    icmBase *o = nullptr;
    int rv = -1;

    Tag(icmBase *(*create)(icc *), const Bytes &data, const char *space = "CMYK",
        const char *pcs = "Lab ")
        : ms(MemStream::copy(data)) {
        p->header->colorSpace = str2tag(space);
        p->header->pcs = str2tag(pcs);
        p->stream = ms->io();
        o = create(p);
        rv = o->read(o, (unsigned int)data.size(), 0);
    }
    ~Tag() {
        o->del(o);
        p->stream = nullptr;
        p->del(p);
    }
    std::string err() const { return p->error_text; }
    template <class T>
    T *as() const {
        return static_cast<T *>(o);
    }
    // Writes the tag into a zero-filled block of its size; *code gets the result.
    Bytes write(int *code = nullptr) {
        auto out = MemStream::zeroed(o->get_size(o));
        std::iostream *old = p->stream;
        p->stream = out->io();
        int r = o->write(o, 0);
        p->stream = old;
        if (code != nullptr)
            *code = r;
        return r == 0 ? out->bytes() : Bytes();
    }
    std::string dump(int detail) const {
        std::ostringstream os;
        o->dump(o, &os, detail);
        return os.str();
    }
};

// What a reading of broken bytes must answer.
struct Broken {
    const char *what;
    Bytes data;
    const char *message;
};

void expect_fails(icmBase *(*create)(icc *), const std::vector<Broken> &cases, const char *space = "CMYK",
                  const char *pcs = "Lab ") {
    for (const Broken &c : cases) {
        Tag t(create, c.data, space, pcs);
        EXPECT_EQ(t.rv, 1) << c.what;
        EXPECT_EQ(t.err(), c.message) << c.what;
    }
}

// ---------------------------------------------------------------------------

Bytes ncl2(uint32_t count, uint32_t ndc, const Bytes &colours) {
    return B().head("ncl2").u32(7).u32(count).u32(ndc).str("Pre", 32).str("Suf", 32).add(colours).b;
}

TEST(IccNamedColor, Ncl2ReadsWritesAndDumps) {
    Bytes colours = B().str("Red", 32).u16(65280).u16(0).u16(65535).u16(0).u16(65535).u16(32768).u16(1)
                        .str("Gray", 32).u16(32640).u16(32768).u16(32768).u16(1).u16(2).u16(3).u16(4).b;
    Bytes data = ncl2(2, 4, colours);
    Tag t(new_icmNamedColor, data);
    ASSERT_EQ(t.rv, 0) << t.err();
    auto *nc = t.as<icmNamedColor>();
    EXPECT_EQ(nc->tag_type, icmSig("ncl2"));
    EXPECT_EQ(nc->vendorFlag, 7u);
    EXPECT_EQ(nc->nDeviceCoords, 4u);
    EXPECT_EQ(t.o->get_size(t.o), 84u + 2 * (38 + 8));
    EXPECT_DOUBLE_EQ(nc->data[0].pcsCoords[0], 100.0);
    EXPECT_DOUBLE_EQ(nc->data[0].pcsCoords[1], -128.0);
    EXPECT_DOUBLE_EQ(nc->data[0].pcsCoords[2], 65535 / 256.0 - 128);
    EXPECT_DOUBLE_EQ(nc->data[0].deviceCoords[2], 32768 / 65535.0);
    EXPECT_EQ(t.write(), data);
    EXPECT_EQ(t.dump(1),
              "NamedColor2:\n  Vendor Flag = 0x7\n  No. colors  = 2\n  No. dev. coords = 4\n"
              "  Name prefix = 'Pre'\n  Name suffix = 'Suf'\n");
    EXPECT_NE(t.dump(2).find("    Color 1:\n      Name root = 'Gray'\n      Lab = 50.000000, 0.000000, "
                             "0.000000'\n      Device Coords = 0.000015, 0.000031, 0.000046, 0.000061\n"),
              std::string::npos)
        << t.dump(2);
}

TEST(IccNamedColor, Ncl2PcsEncodings) {
    struct Case {
        const char *pcs;
        double v[3];
        unsigned int words[3];  // 0xFFFFFFFF: the write fails
    } cases[] = {
        {"Lab ", {100.0, -128.0, 127.996}, {65280, 0, 65535}},
        {"Lab ", {0.0, 0.0, 128.0}, {0, 32768, 0xFFFFFFFFu}},
        {"Lab ", {-0.001, 0, 0}, {0xFFFFFFFFu, 0, 0}},
        {"XYZ ", {0.9642, 1.0, 1.99998}, {31595, 32768, 65535}},
        {"XYZ ", {2.0, 0, 0}, {0xFFFFFFFFu, 0, 0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.pcs) + " " + std::to_string(c.v[0]));
        Tag t(new_icmNamedColor, ncl2(1, 0, B().str("x", 32).zeros(6).b), "GRAY", c.pcs);
        ASSERT_EQ(t.rv, 0) << t.err();
        auto *nc = t.as<icmNamedColor>();
        nc->nDeviceCoords = 0;
        memcpy(nc->data[0].pcsCoords, c.v, sizeof c.v);
        int code = -1;
        Bytes out = t.write(&code);
        bool fails = c.words[0] == 0xFFFFFFFFu || c.words[1] == 0xFFFFFFFFu || c.words[2] == 0xFFFFFFFFu;
        if (fails) {
            EXPECT_EQ(code, 1);
            EXPECT_EQ(t.err(), "icmNamedColorVal2_write: write of PCS coord failed");
            continue;
        }
        ASSERT_EQ(code, 0) << t.err();
        for (int i = 0; i < 3; i++)
            EXPECT_EQ(out[116 + 2 * i] << 8 | out[117 + 2 * i], (int)c.words[i]) << i;
    }
}

TEST(IccNamedColor, Ncl2Faults) {
    const Bytes one = B().str("x", 32).zeros(6 + 2 * 3).b;
    expect_fails(new_icmNamedColor,
                 {
                     {"16 device coordinates", ncl2(1, 16, B().str("x", 32).zeros(6 + 32).b),
                      "icmNamedColor_read: Can't handle more than 15 device channels"},
                     {"a count the data cannot hold", ncl2(0xFFFFFFFFu, 3, one),
                      "icmNamedColorVal2_read: Data too short to read"},
                     {"two colours, one there", ncl2(2, 3, one), "icmNamedColorVal2_read: Data too short to read"},
                     {"unterminated root", ncl2(1, 3, B().add(Bytes(32, 'r')).zeros(12).b),
                      "icmNamedColorVal2_read: Root name string not terminated"},
                     {"unterminated prefix", B().head("ncl2").u32(0).u32(0).u32(3).add(Bytes(32, 'p')).zeros(32).b,
                      "icmNamedColor_read: Color prefix is not null terminated"},
                     {"too small", B().head("ncl2").zeros(75).b, "icmNamedColor_read: Tag too small to be legal"},
                     {"another type", B().head("ncoz").zeros(90).b,
                      "icmNamedColor_read: Wrong tag type for icmNamedColor"},
                 });

    // A PCS other than Lab and XYZ can be neither read nor written.
    Tag gray(new_icmNamedColor, ncl2(1, 3, one), "RGB ", "GRAY");
    EXPECT_EQ(gray.rv, 1);
    EXPECT_EQ(gray.err(), "icmNamedColorVal2_read: Unknown PCS");
    Tag lab(new_icmNamedColor, ncl2(1, 3, one), "RGB ", "Lab ");
    ASSERT_EQ(lab.rv, 0);
    lab.p->header->pcs = icmSig("GRAY");
    int code = -1;
    lab.write(&code);
    EXPECT_EQ(code, 1);
    EXPECT_EQ(lab.err(), "icmNamedColorVal2_write: Unknown PCS");
}

Bytes ncol(uint32_t count, const Bytes &colours) {
    return B().head("ncol").u32(1).u32(count).str("pre").str("").add(colours).b;
}

TEST(IccNamedColor, NcolTakesDeviceCoordinatesFromTheColourSpace) {
    Bytes data = ncol(2, B().str("Cyan").u8(255).u8(0).u8(0).u8(51).str("K").u8(0).u8(0).u8(0).u8(255).b);
    Tag t(new_icmNamedColor, data, "CMYK");
    ASSERT_EQ(t.rv, 0) << t.err();
    auto *nc = t.as<icmNamedColor>();
    EXPECT_EQ(nc->tag_type, icmSig("ncol"));
    EXPECT_EQ(nc->nDeviceCoords, 4u);
    EXPECT_STREQ(nc->data[1].root, "K");
    EXPECT_DOUBLE_EQ(nc->data[0].deviceCoords[3], 0.2);
    EXPECT_EQ(t.o->get_size(t.o), data.size());
    EXPECT_EQ(t.write(), data);
    EXPECT_NE(t.dump(2).find("      Device Coords = 1.000000, 0.000000, 0.000000, 0.200000\n"), std::string::npos);

    expect_fails(new_icmNamedColor,
                 {
                     {"a count the data cannot hold", ncol(0x7FFFFFFFu, B().str("Cyan").zeros(4).b),
                      "icmNamedColorVal_read: Root name string not terminated"},
                     {"device values cut short", ncol(1, B().str("Cyan").zeros(3).b),
                      "icmNamedColorVal_read: Data too short to read device coords"},
                     {"unterminated suffix", B().head("ncol").u32(0).u32(0).str("p").add(Bytes(40, 's')).b,
                      "icmNamedColor_read: Color suffix is not null terminated"},
                     {"too small", B().head("ncol").zeros(7).b, "icmNamedColor_read: Tag too small to be legal"},
                 });
}

TEST(IccNamedColor, NewObjectTakesTheHeadersChannels) {
    icc *p = new_icc();
    p->header->deviceClass = icmSig("nmcl");
    p->header->colorSpace = icmSig("6CLR");
    auto *nc = static_cast<icmNamedColor *>(p->add_tag(p, icmSig("ncol"), icmSig("ncol")));
    ASSERT_NE(nc, nullptr);
    EXPECT_EQ(nc->tag_type, icmSig("ncol"));
    EXPECT_EQ(nc->nDeviceCoords, 6u);
    p->del(p);
}

// ---------------------------------------------------------------------------

Bytes desc(const char *ascii, const std::vector<unsigned int> &uc, unsigned int sc_len, const Bytes &sc) {
    B d;
    d.head("desc").u32(ascii ? (uint32_t)strlen(ascii) + 1 : 0);
    if (ascii)
        d.str(ascii);
    d.u32(0x656e5553).u32((uint32_t)uc.size());
    for (unsigned int c : uc)
        d.u16(c);
    d.u16(0x2a).u8(sc_len).add(sc).zeros(67 - sc.size());
    return d.b;
}

TEST(IccTextDescription, EmptyDescription) {
    Tag t(new_icmTextDescription, desc(nullptr, {}, 0, {}));
    ASSERT_EQ(t.rv, 0) << t.err();
    EXPECT_EQ(t.o->get_size(t.o), 90u);
    EXPECT_EQ(t.dump(1), "TextDescription:\n  No ASCII data\n  No Unicode data\n  No ScriptCode data\n");
    EXPECT_EQ(t.write(), desc(nullptr, {}, 0, {}));
}

TEST(IccTextDescription, FullDescriptionRoundTripsAndDumps) {
    Bytes data = desc("Zentu\tsRGB", {'Z', 0x263A, 0}, 4, {'a', 'b', 'c', 0});
    Tag t(new_icmTextDescription, data);
    ASSERT_EQ(t.rv, 0) << t.err();
    auto *d = t.as<icmTextDescription>();
    EXPECT_STREQ(d->desc, "Zentu\tsRGB");
    EXPECT_EQ(d->ucSize, 3u);
    EXPECT_EQ(d->ucDesc[1], 0x263A);
    EXPECT_EQ(d->scSize, 4u);
    EXPECT_EQ(t.o->get_size(t.o), data.size());
    EXPECT_EQ(t.write(), data);
    EXPECT_EQ(t.dump(2),
              "TextDescription:\n"
              "  ASCII data, length 11 chars:\n    0x0000: Zentu\\011sRGB\n"
              "  Unicode Data, Language code 0x656e5553, length 3 chars\n    0x0000: 005a 263a 0000 \n"
              "  ScriptCode Data, Code 0x2a, length 4 chars\n    0x0000: 61 62 63 00 \n");
}

TEST(IccTextDescription, LongTextShowsOneLineBelowDetailTwo) {
    std::string text(100, 'x');
    Tag t(new_icmTextDescription, desc(text.c_str(), {}, 0, {}));
    ASSERT_EQ(t.rv, 0) << t.err();
    const std::string line1 = "    0x0000: " + std::string(64, 'x') + "\n";
    EXPECT_EQ(t.dump(1), "TextDescription:\n  ASCII data, length 101 chars:\n" + line1 +
                             "...\n  No Unicode data\n  No ScriptCode data\n");
    EXPECT_NE(t.dump(2).find(line1 + "    0x0040: " + std::string(36, 'x') + "\n"), std::string::npos);
}

TEST(IccTextDescription, ScriptCodeLengthLimit) {
    Bytes sc(67, 's');
    sc[66] = 0;
    Tag ok(new_icmTextDescription, desc("a", {}, 67, sc));
    ASSERT_EQ(ok.rv, 0) << ok.err();
    EXPECT_EQ(ok.write(), desc("a", {}, 67, sc));

    Tag bad(new_icmTextDescription, desc("a", {}, 68, sc));
    EXPECT_EQ(bad.rv, 1);
    EXPECT_EQ(bad.err(), "icmTextDescription_read: ScriptCode string too long");

    ok.as<icmTextDescription>()->scSize = 68;
    int code = -1;
    ok.write(&code);
    EXPECT_EQ(code, 1);
    EXPECT_EQ(ok.err(), "icmTextDescription_write: ScriptCode string too long");
}

// The ScriptCode part follows the whole declared Unicode length, as laid out
// on file, even when the zero stands earlier.
TEST(IccTextDescription, EarlyUnicodeZeroKeepsTheScriptCode) {
    Bytes data = desc("a", {'u', 0, 0, 0}, 2, {'s', 0});
    Tag t(new_icmTextDescription, data);
    ASSERT_EQ(t.rv, 0) << t.err();
    auto *d = t.as<icmTextDescription>();
    EXPECT_EQ(d->scCode, 0x2au);
    EXPECT_EQ(d->scSize, 2u);
    EXPECT_EQ(t.write(), data);
}

TEST(IccTextDescription, Faults) {
    Bytes no_unicode = B().head("desc").u32(4).str("abc").b;
    Bytes huge_unicode = B().head("desc").u32(0).u32(0).u32(0x80000001u).zeros(80).b;
    Bytes no_sc = B().head("desc").u32(0).u32(0).u32(0).u8(0).b;
    expect_fails(new_icmTextDescription,
                 {
                     {"ends after the ASCII text", no_unicode,
                      "icmTextDescription_read: Data too short to read Unicode string"},
                     {"Unicode length 0x80000001", huge_unicode,
                      "icmTextDescription_read: Data too short to read Unicode string"},
                     {"Unicode length 0xFFFFFFFF", B().head("desc").u32(0).u32(0).u32(0xFFFFFFFFu).zeros(80).b,
                      "icmTextDescription_read: Data too short to read Unicode string"},
                     {"ASCII length past the data", B().head("desc").u32(0xFFFFFFFFu).zeros(90).b,
                      "icmTextDescription_read: Data to short to read Ascii string"},
                     {"ASCII unterminated", B().head("desc").u32(3).u8('a').u8('b').u8('c').zeros(80).b,
                      "icmTextDescription_read: ascii string is not terminated"},
                     {"Unicode unterminated", desc(nullptr, {'a', 'b'}, 0, {}),
                      "icmTextDescription_read: Unicode string is not terminated"},
                     {"no ScriptCode header", no_sc,
                      "icmTextDescription_read: Data too short to read ScriptCode header"},
                     {"ScriptCode unterminated", desc(nullptr, {}, 2, {'a', 'b'}),
                      "icmTextDescription_read: ScriptCode string is not terminated"},
                     {"ScriptCode past the data", B().head("desc").u32(0).u32(0).u32(0).u16(0).u8(9).u8('a').b,
                      "icmTextDescription_read: Data too short to read ScriptCode string"},
                     {"another type", B().head("text").zeros(90).b,
                      "icmTextDescription_read: Wrong tag type for icmTextDescription"},
                     {"too small", B().head("desc").u32(0).b, "icmTextDescription_read: Tag too small to be legal"},
                 });
}

// ---------------------------------------------------------------------------

Bytes desc_struct(const char *mfg, const char *model, uint32_t attr_lo, const char *tech, const Bytes &d1,
                  const Bytes &d2) {
    return B().sig(mfg).sig(model).u32(0).u32(attr_lo).sig(tech).add(d1).add(d2).b;
}

TEST(IccProfileSequenceDesc, ReadsWritesAndDumps) {
    Bytes e0 = desc_struct("ZNTU", "m001", 3, "offs", desc("Zentu", {'Z', 0}, 0, {}), desc(nullptr, {}, 0, {}));
    Bytes e1 = desc_struct("APPL", "m002", 0, "vidm", desc("Maker", {}, 0, {}), desc("Model", {}, 2, {'m', 0}));
    Bytes data = B().head("pseq").u32(2).add(e0).add(e1).b;
    Tag t(new_icmProfileSequenceDesc, data);
    ASSERT_EQ(t.rv, 0) << t.err();
    auto *s = t.as<icmProfileSequenceDesc>();
    ASSERT_EQ(s->count, 2u);
    EXPECT_EQ(s->data[0].technology, icmSig("offs"));
    EXPECT_EQ(s->data[0].attributes.l, 3u);
    EXPECT_STREQ(s->data[1].model.desc, "Model");
    EXPECT_EQ(t.o->get_size(t.o), data.size());
    EXPECT_EQ(t.write(), data);
    EXPECT_EQ(t.dump(1), "ProfileSequenceDesc:\n  No. elements = 2\n");
    EXPECT_NE(t.dump(2).find("DescStruct 0:\n  Dev. Mnfctr.    = 'ZNTU'\n  Dev. Model      = 'm001'\n"
                             "  Dev. Attrbts    = Transparency, Matte\n  Dev. Technology = Offset Lithography\n"
                             "TextDescription:\n  ASCII data, length 6 chars:\n    0x0000: Zentu\n"),
              std::string::npos)
        << t.dump(2);

    expect_fails(new_icmProfileSequenceDesc,
                 {
                     {"a count the data cannot hold", B().head("pseq").u32(0xFFFFFFFFu).add(e0).b,
                      "icmDescStruct_read: Data too short read header"},
                     {"three elements, two there", B().head("pseq").u32(3).add(e0).add(e1).b,
                      "icmDescStruct_read: Data too short read header"},
                     {"a description cut short", B().head("pseq").u32(3).add(e0).add(e1).add(Bytes(e1.begin(), e1.begin() + 40)).b,
                      "icmTextDescription_read: Data too short to read Unicode string"},
                     {"another type", B().head("desc").u32(0).b,
                      "icmProfileSequenceDesc_read: Wrong tag type for icmProfileSequenceDesc"},
                     {"too small", B().head("pseq").b, "icmProfileSequenceDesc_read: Tag too small to be legal"},
                 });
}

// LittleCMS starts each description at a multiple of 4 bytes; such a
// sequence reads, and is written without the padding.
TEST(IccProfileSequenceDesc, DescriptionsPaddedToFourBytes) {
    const Bytes d = desc("Zent", {}, 0, {});  // 95 bytes
    ASSERT_EQ(d.size(), 95u);
    Bytes padded = B().head("pseq").u32(2).b, plain = padded;
    for (const char *mfg : {"ZNTU", "\0\0\0\0"}) {  // a zero signature after padding too
        const Bytes h = desc_struct("zzzz", "m", 0, "offs", {}, {});
        Bytes head(h.begin(), h.end());
        memcpy(head.data(), mfg, 4);
        padded = B().add(padded).add(head).add(d).u8(0).add(d).u8(0).b;
        plain = B().add(plain).add(head).add(d).add(d).b;
    }
    Tag t(new_icmProfileSequenceDesc, padded);
    ASSERT_EQ(t.rv, 0) << t.err();
    auto *s = t.as<icmProfileSequenceDesc>();
    EXPECT_EQ(s->data[1].deviceMfg, 0u);
    EXPECT_STREQ(s->data[1].model.desc, "Zent");
    EXPECT_EQ(t.write(), plain);
    Tag p(new_icmProfileSequenceDesc, plain);
    EXPECT_EQ(p.rv, 0) << p.err();
}

// ---------------------------------------------------------------------------

TEST(IccSmallTypes, SignatureScreeningAndViewing) {
    Tag sig(new_icmSignature, B().head("sig ").sig("offs").b);
    ASSERT_EQ(sig.rv, 0) << sig.err();
    EXPECT_EQ(sig.dump(1), "Signature\n  Technology = Offset Lithography\n");
    EXPECT_EQ(sig.write(), B().head("sig ").sig("offs").b);

    Bytes scrn = B().head("scrn").u32(3).u32(2).u32(0x00960000).u32(0x002d8000).u32(2)
                     .u32(0x00500000).u32(0xffff0000).u32(99).b;
    Tag s(new_icmScreening, scrn);
    ASSERT_EQ(s.rv, 0) << s.err();
    EXPECT_EQ(s.write(), scrn);
    EXPECT_EQ(s.dump(2), "Screening:\n  Flags = Default Screen, Lines Per Inch\n  No. channels = 2\n"
                         "    0:\n      Frequency:  150.000000\n      Angle:      45.500000\n      Spot shape: Round\n"
                         "    1:\n      Frequency:  80.000000\n      Angle:      -1.000000\n"
                         "      Spot shape: Unrecognized - 0x63\n");

    Bytes view = B().head("view").u32(0x005f0c08).u32(0x00640000).u32(0x006ce219).u32(0x00130000)
                     .u32(0x00140000).u32(0x0015c7ae).u32(2).b;
    Tag v(new_icmViewingConditions, view);
    ASSERT_EQ(v.rv, 0) << v.err();
    EXPECT_EQ(v.o->get_size(v.o), 36u);
    EXPECT_EQ(v.write(), view);
    EXPECT_NE(v.dump(1).find("  XYZ value of surround in cd/m^2   = 19.000000, 20.000000, 21.779999\n"
                             "  Illuminant type = D65\n"),
              std::string::npos)
        << v.dump(1);

    expect_fails(new_icmSignature, {{"another type", B().head("sigx").u32(0).b,
                                     "icmSignaturSignatureng tag type for icmSignature"},
                                    {"too small", B().head("sig ").b, "icmSignature_read: Tag too small to be legal"}});
    expect_fails(new_icmScreening,
                 {{"a count the data cannot hold", B().head("scrn").u32(0).u32(0x80000000u).zeros(24).b,
                   "icmScreening_read: Data too short to read Screening Data"},
                  {"too small", B().head("scrn").u32(0).b, "icmScreening_read: Tag too small to be legal"}});
    expect_fails(new_icmViewingConditions,
                 {{"too small", B().head("view").zeros(27).b, "icmViewingConditions_read: Tag too small to be legal"}});
}

// ---------------------------------------------------------------------------

TEST(IccCrdInfo, ReadsWritesAndDumps) {
    Bytes data = B().head("crdi").u32(6).str("Zentu").u32(0).u32(3).str("p0").u32(0).u32(2).str("a").b;
    Tag t(new_icmCrdInfo, data);
    ASSERT_EQ(t.rv, 0) << t.err();
    auto *c = t.as<icmCrdInfo>();
    EXPECT_STREQ(c->ppname, "Zentu");
    EXPECT_EQ(c->crdname[0], nullptr);
    EXPECT_STREQ(c->crdname[1], "p0");
    EXPECT_EQ(t.o->get_size(t.o), data.size());
    EXPECT_EQ(t.write(), data);
    EXPECT_EQ(t.dump(1), "PostScript Product name and CRD names:\n  Product name:\n    No. chars = 6\n"
                         "      0x0000: Zentu\n  CRD0 name:\n    No. chars = 0\n  CRD1 name:\n    No. chars = 3\n"
                         "      0x0000: p0\n  CRD2 name:\n    No. chars = 0\n  CRD3 name:\n    No. chars = 2\n"
                         "      0x0000: a\n");

    expect_fails(new_icmCrdInfo,
                 {
                     {"product name past the data", B().head("crdi").u32(0xFFFFFFFFu).zeros(16).b,
                      "icmCrdInfo_read: Data to short to read Postscript product string"},
                     {"product name unterminated", B().head("crdi").u32(2).u8('a').u8('b').zeros(16).b,
                      "icmCrdInfo_read: Postscript product name is not terminated"},
                     {"CRD2 length missing", B().head("crdi").u32(10).str("Zentu", 10).u32(0).u32(0).zeros(2).b,
                      "icmCrdInfo_read: Data too short to read CRD2 name"},
                     {"CRD3 past the data", B().head("crdi").u32(0).u32(0).u32(0).u32(0).u32(0x80000000u).b,
                      "icmCrdInfo_read: Data to short to read CRD3 string"},
                     {"CRD0 unterminated", B().head("crdi").u32(0).u32(1).u8('x').u32(0).u32(0).u32(0).b,
                      "icmCrdInfo_read: CRD0 name is not terminated"},
                     {"too small", B().head("crdi").zeros(19).b, "icmCrdInfo_read: Tag too small to be legal"},
                 });
}

// ---------------------------------------------------------------------------

TEST(IccUcrBg, PercentagesCurvesAndText) {
    Bytes data = B().head("bfd ").u32(1).u16(50).u32(3).u16(0).u16(32768).u16(65535).str("Zentu UCR").b;
    Tag t(new_icmUcrBg, data);
    ASSERT_EQ(t.rv, 0) << t.err();
    auto *u = t.as<icmUcrBg>();
    EXPECT_EQ(u->UCRcurve[0], 50.0);
    EXPECT_EQ(u->BGcurve[2], 1.0);
    EXPECT_EQ(u->size, 10u);
    EXPECT_EQ(t.o->get_size(t.o), data.size());
    EXPECT_EQ(t.write(), data);
    EXPECT_EQ(t.dump(2), "Undercolor Removal Curve & Black Generation:\n  UCR: 50.000000%\n"
                         "  BG curve no. elements = 3\n    0:  0.000000\n    1:  0.500008\n    2:  1.000000\n"
                         "  Description:\n    No. chars = 10\n      0x0000: Zentu UCR\n");

    u->UCRcurve[0] = 49.6;
    Bytes out = t.write();
    ASSERT_EQ(out.size(), data.size());
    EXPECT_EQ(out[12] << 8 | out[13], 50);
    u->UCRcurve[0] = -1.0;
    int code = -1;
    t.write(&code);
    EXPECT_EQ(code, 1);
    EXPECT_EQ(t.err(), "icmUcrBg_write: write_UInt16umber() failed");

    Tag bare(new_icmUcrBg, B().head("bfd ").u32(0).u32(1).u16(7).b);
    ASSERT_EQ(bare.rv, 0) << bare.err();
    EXPECT_EQ(bare.as<icmUcrBg>()->size, 0u);
    EXPECT_EQ(bare.as<icmUcrBg>()->string, nullptr);
    EXPECT_EQ(bare.dump(1), "Undercolor Removal Curve & Black Generation:\n  UCR: Not specified\n"
                            "  BG: 7.000000%\n  Description:\n    No. chars = 0\n");

    expect_fails(new_icmUcrBg,
                 {
                     {"a UCR count the data cannot hold", B().head("bfd ").u32(0x80000001u).zeros(8).b,
                      "icmUcrBg_read: Data too short to read UCR Data"},
                     {"no BG count", B().head("bfd ").u32(2).u16(0).u16(0).b,
                      "icmData_read: Data too short to read Black Gen count"},
                     {"a BG count the data cannot hold", B().head("bfd ").u32(0).u32(0xFFFFFFFFu).zeros(6).b,
                      "icmUcrBg_read: Data too short to read BG Data"},
                     {"text unterminated", B().head("bfd ").u32(0).u32(0).u8('a').b,
                      "icmUcrBg_read: string is not null terminated"},
                     {"too small", B().head("bfd ").zeros(7).b, "icmUcrBg_read: Tag too small to be legal"},
                 });
}

// ---------------------------------------------------------------------------

TEST(IccMoreTexts, EnumerationTexts) {
    EXPECT_STREQ(technology2str(icmSig("offs")), "Offset Lithography");
    EXPECT_STREQ(technology2str(icmSig("twax")), "Thermal WaxPrinter");
    EXPECT_STREQ(technology2str(icmSig("zzzz")), "Unrecognized - 'zzzz'");
    EXPECT_STREQ(devattr2str(icmUint64{0, 0}), "Reflective, Glossy");
    EXPECT_STREQ(screenflags2str(3), "Default Screen, Lines Per Inch");
    EXPECT_STREQ(screenflags2str(0), "No Default Screen, Lines Per cm");
    EXPECT_STREQ(spotshape2str(7), "Cross");
    EXPECT_STREQ(spotshape2str(9), "Unrecognized - 0x9");
    EXPECT_STREQ(spotshape2str(-1), "Unrecognized - 0xffffffff");

    // Five results of the flag texts stay valid at once.
    const char *r[5];
    for (unsigned int i = 0; i < 5; i++)
        r[i] = screenflags2str(i);
    EXPECT_STREQ(r[0], "No Default Screen, Lines Per cm");
    EXPECT_STREQ(r[3], "Default Screen, Lines Per Inch");
}

}  // namespace
