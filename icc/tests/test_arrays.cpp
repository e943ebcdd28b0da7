// The seven array tag types.
#include "support.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace icctest;

namespace {

// A profile object over a stream holding one tag at offset 0.
struct TagFixture {
    icc *p = new_icc();
    std::unique_ptr<MemStream> ms;
    explicit TagFixture(const Bytes &data) : ms(MemStream::copy(data)) { p->stream = ms->io(); }
    ~TagFixture() {
        p->stream = nullptr;
        p->del(p);
    }
};

struct ArrayType {
    const char *name;
    const char *sig;
    icmBase *(*create)(icc *);
    unsigned int fsize;
    const char *read_fail;   // after the name and "_read: "
    const char *write_fail;  // whole message
};

const ArrayType kTypes[] = {
    {"icmUInt8Array", "ui08", new_icmUInt8Array, 1, "Input failed", "icmUInt8Array_write failed"},
    {"icmUInt16Array", "ui16", new_icmUInt16Array, 2, "Input failed", "icmUInt16Array_write failed"},
    {"icmUInt32Array", "ui32", new_icmUInt32Array, 4, "read failed", "icmUInt32Array_write write failed"},
    {"icmUInt64Array", "ui64", new_icmUInt64Array, 8, "read failed", "icmUInt64Array_write write failed"},
    {"icmU16Fixed16Array", "uf32", new_icmU16Fixed16Array, 4, "read failed",
     "icmU16Fixed16Array_write write failed"},
    {"icmS15Fixed16Array", "sf32", new_icmS15Fixed16Array, 4, "read failed",
     "icmS15Fixed16Array_write write failed"},
    {"icmXYZArray", "XYZ ", new_icmXYZArray, 12, "read failed", "icmXYZArray_write write failed"},
};

struct RoundTrip {
    const char *sig;
    Bytes payload;     // two elements
    const char *dump;  // at detail 2
};

TEST(IccArrayTypes, ReadWriteDumpEachType) {
    const RoundTrip cases[] = {
        {"ui08", {0x01, 0xff}, "UInt8Array:\n  No. elements = 2\n    0:  1\n    1:  255\n"},
        {"ui16", {0x12, 0x34, 0xff, 0xff}, "UInt16Array:\n  No. elements = 2\n    0:  4660\n    1:  65535\n"},
        {"ui32", {0, 0, 0, 1, 0xff, 0xff, 0xff, 0xff},
         "UInt32Array:\n  No. elements = 2\n    0:  1\n    1:  4294967295\n"},
        {"ui64", {0, 0, 0, 1, 0, 0, 0, 2, 0xff, 0xff, 0xff, 0xff, 0, 0, 0, 0},
         "UInt64Array:\n  No. elements = 2\n    0:  h=1, l=2\n    1:  h=4294967295, l=0\n"},
        {"uf32", {0, 1, 0, 0, 0, 0, 0x80, 0},
         "U16Fixed16Array:\n  No. elements = 2\n    0:  1.000000\n    1:  0.500000\n"},
        {"sf32", {0xff, 0xff, 0, 0, 0, 0, 0x40, 0},
         "S15Fixed16Array:\n  No. elements = 2\n    0:  -1.000000\n    1:  0.250000\n"},
        {"XYZ ", {0, 1, 0, 0, 0, 0, 0x80, 0, 0xff, 0xff, 0xc0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x7f, 0xff, 0xff, 0xff},
         "XYZArray:\n  No. elements = 2\n    0:  1.000000, 0.500000, -0.250000\n"
         "    1:  0.000000, 0.000000, 32767.999985\n"},
    };
    for (size_t i = 0; i < 7; i++) {
        const ArrayType &t = kTypes[i];
        const RoundTrip &c = cases[i];
        SCOPED_TRACE(t.name);
        Bytes tag = tag_bytes(str2tag(c.sig), c.payload);
        tag[4] = 0x55;  // reserved bytes are not examined
        TagFixture f(tag);
        icmBase *o = t.create(f.p);
        ASSERT_NE(o, nullptr);
        EXPECT_EQ(o->tag_type, str2tag(c.sig));
        ASSERT_EQ(o->read(o, (unsigned int)tag.size(), 0), 0) << f.p->error_text;
        EXPECT_EQ(static_cast<icmUInt8Array *>(o)->count, 2u);
        EXPECT_EQ(o->get_size(o), 8 + 2 * t.fsize);

        std::ostringstream d2, d1, d0;
        o->dump(o, &d2, 2);
        o->dump(o, &d1, 1);
        o->dump(o, &d0, 0);
        EXPECT_EQ(d2.str(), c.dump);
        EXPECT_EQ(d1.str(), std::string(c.dump).substr(0, d1.str().size()));
        EXPECT_EQ(d1.str().find("    0:"), std::string::npos);
        EXPECT_EQ(d0.str(), "");

        auto out = MemStream::zeroed(tag.size() + 4);
        f.p->stream = out->io();
        ASSERT_EQ(o->write(o, 4), 0) << f.p->error_text;
        Bytes expect(4, 0);
        tag[4] = 0;
        expect.insert(expect.end(), tag.begin(), tag.end());
        EXPECT_EQ(out->bytes(), expect);
        f.p->stream = f.ms->io();
        o->del(o);
    }
}

TEST(IccArrayTypes, LengthsAndStreamFailures) {
    for (const ArrayType &t : kTypes) {
        SCOPED_TRACE(t.name);
        const uint32_t sig = str2tag(t.sig);
        {  // the head alone: empty array
            TagFixture f(tag_bytes(sig, {}));
            icmBase *o = t.create(f.p);
            ASSERT_EQ(o->read(o, 8, 0), 0);
            EXPECT_EQ(static_cast<icmUInt8Array *>(o)->count, 0u);
            EXPECT_EQ(static_cast<icmUInt8Array *>(o)->data, nullptr);
            o->del(o);
        }
        {  // too short, and running past the data
            TagFixture f(tag_bytes(sig, Bytes(t.fsize, 0)));
            icmBase *o = t.create(f.p);
            EXPECT_EQ(o->read(o, 7, 0), 1);
            EXPECT_EQ(f.p->error_text, std::string(t.name) + "_read: Tag too small to be legal");
            EXPECT_EQ(o->read(o, 8 + t.fsize, 1), 1);
            EXPECT_EQ(f.p->error_text, std::string(t.name) + "_read: " + t.read_fail);
            EXPECT_EQ(o->read(o, 0xFFFFFFFFu, 0), 1);
            EXPECT_EQ(f.p->error_text, std::string(t.name) + "_read: " + t.read_fail);
            o->del(o);
        }
        {  // another type's signature
            TagFixture f(tag_bytes(icmSig("zzzz"), Bytes(t.fsize, 0)));
            icmBase *o = t.create(f.p);
            EXPECT_EQ(o->read(o, 8 + t.fsize, 0), 1);
            EXPECT_EQ(f.p->error_text, std::string(t.name) + "_read: Wrong tag type for " + t.name);
            o->del(o);
        }
        {  // an output block too small
            TagFixture f(Bytes(4, 0));
            icmBase *o = t.create(f.p);
            static_cast<icmUInt8Array *>(o)->count = 1;
            ASSERT_EQ(o->allocate(o), 0);
            EXPECT_EQ(o->write(o, 0), 2);
            EXPECT_EQ(f.p->error_code, 2);
            EXPECT_EQ(f.p->error_text, std::string(t.write_fail));
            o->del(o);
        }
    }
}

TEST(IccArrayTypes, OddBytesAreIgnoredAndRereadReplaces) {
    TagFixture f(tag_bytes(icmSig("ui16"), Bytes{0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0xee}));
    auto *o = static_cast<icmUInt16Array *>(new_icmUInt16Array(f.p));
    ASSERT_EQ(o->read(o, 13, 0), 0);
    EXPECT_EQ(o->count, 2u);
    EXPECT_EQ(o->data[1], 2u);
    ASSERT_EQ(o->read(o, 19, 0), 0) << "a longer read must not fill the old array";
    EXPECT_EQ(o->count, 5u);
    EXPECT_EQ(o->data[4], 5u);
    o->del(o);
}

TEST(IccArrayTypes, UnrepresentableElementsRefuseTheWrite) {
    struct Case {
        const char *sig;
        void (*set)(icmBase *);
        const char *text;
    } cases[] = {
        {"ui08", [](icmBase *o) { static_cast<icmUInt8Array *>(o)->data[1] = 256; },
         "icmUInt8Array_write: write_UInt8umber() failed"},
        {"ui16", [](icmBase *o) { static_cast<icmUInt16Array *>(o)->data[1] = 65536; },
         "icmUInt16Array_write: write_UInt16umber() failed"},
        {"uf32", [](icmBase *o) { static_cast<icmU16Fixed16Array *>(o)->data[1] = -1.0; },
         "icmU16Fixed16Array_write: write_U16Fixed16umber() failed"},
        {"sf32", [](icmBase *o) { static_cast<icmS15Fixed16Array *>(o)->data[1] = 32768.0; },
         "icmS15Fixed16Array_write: write_S15Fixed16umber() failed"},
        {"XYZ ", [](icmBase *o) { static_cast<icmXYZArray *>(o)->data[1].Z = -40000.0; },
         "icmXYZArray_write: write_XYZumber() failed"},
    };
    for (const Case &c : cases) {
        icc *p = new_icc();
        icmBase *o = p->add_tag(p, icmSig("zzz1"), str2tag(c.sig));
        ASSERT_NE(o, nullptr);
        static_cast<icmUInt8Array *>(o)->count = 2;
        ASSERT_EQ(o->allocate(o), 0);
        c.set(o);
        auto out = MemStream::zeroed(64);
        p->stream = out->io();
        EXPECT_EQ(o->write(o, 0), 1) << c.sig;
        EXPECT_EQ(p->error_code, 1);
        EXPECT_STREQ(p->error_text, c.text);
        EXPECT_EQ(out->bytes(), Bytes(64, 0)) << "nothing written";
        p->stream = nullptr;
        p->del(p);
    }
}

TEST(IccArrayTypes, DumpLinesStayBoundedForHugeValues) {
    icc *p = new_icc();
    auto *o = static_cast<icmS15Fixed16Array *>(p->add_tag(p, icmSig("zzz1"), icmSig("sf32")));
    o->count = 1;
    o->allocate(o);
    o->data[0] = 1e300;
    std::ostringstream os;
    o->dump(o, &os, 2);
    const std::string s = os.str();
    size_t line = s.find("    0:  1000");
    ASSERT_NE(line, std::string::npos);
    EXPECT_EQ(s.size() - line, 255u) << "one 256-character line, cut short";
    p->del(p);
}

}  // namespace
