// The data, text, date and measurement types, and all five new types through
// a whole profile.
#include "tag_fixture.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace icctest;

namespace {

Bytes data_tag(uint32_t flag, const std::string &bytes) {
    Bytes payload;
    push32(payload, flag);
    payload.insert(payload.end(), bytes.begin(), bytes.end());
    return tag_bytes(icmSig("data"), payload);
}

Bytes text_tag(const std::string &chars) {
    return tag_bytes(icmSig("text"), Bytes(chars.begin(), chars.end()));
}

std::string hex_line(unsigned int offset, unsigned int from, unsigned int to) {
    char buf[16];
    snprintf(buf, sizeof buf, "    0x%04x: ", offset);
    std::string s = buf;
    for (unsigned int i = from; i < to; i++) {
        snprintf(buf, sizeof buf, "%02x ", i);
        s += buf;
    }
    return s;
}

TEST(IccData, Read) {
    struct Case {
        const char *what;
        Bytes tag;
        int rv;
        const char *text;
        int flag;
        std::string held;  // the bytes held, NUL included
    } cases[] = {
        {"ASCII without NUL gets one", data_tag(0, "abc"), 0, "", icmDataAscii, std::string("abc\0", 4)},
        {"ASCII with its NUL", data_tag(0, std::string("abc\0", 4)), 0, "", icmDataAscii,
         std::string("abc\0", 4)},
        {"binary keeps its bytes", data_tag(1, std::string("\0\xff\x01", 3)), 0, "", icmDataBinary,
         std::string("\0\xff\x01", 3)},
        {"empty ASCII", data_tag(0, ""), 0, "", icmDataAscii, ""},
        {"flag 2", data_tag(2, "abc"), 1, "icmData_read: Unknown flag value 0x2", 0, ""},
        {"flag word high", data_tag(0x80000000u, ""), 1, "icmData_read: Unknown flag value 0x80000000", 0, ""},
        {"11 bytes", Bytes(11, 0), 1, "icmData_read: Tag too small to be legal", 0, ""},
        {"another type", tag_bytes(icmSig("text"), Bytes(6, 0)), 1,
         "icmData_read: Wrong tag type for icmData", 0, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        OneTag t(c.tag, new_icmData);
        auto *d = t.as<icmData>();
        EXPECT_EQ(d->flag, -1);
        ASSERT_EQ(t.read(), c.rv);
        if (c.rv != 0) {
            EXPECT_EQ(t.text(), c.text);
            continue;
        }
        EXPECT_EQ(d->flag, c.flag);
        ASSERT_EQ(d->count, c.held.size());
        if (d->count > 0) {
            EXPECT_EQ(std::string((const char *)d->data, d->count), c.held);
        }
        EXPECT_EQ(t.obj->get_size(t.obj), 12 + c.held.size());
    }
}

TEST(IccData, WriteAndDump) {
    OneTag t(data_tag(1, std::string("\0\xff\x01", 3)), new_icmData);
    ASSERT_EQ(t.read(), 0);
    EXPECT_EQ(t.write(), data_tag(1, std::string("\0\xff\x01", 3)));

    auto *d = t.as<icmData>();
    d->flag = icmDataAscii;  // bytes without a NUL are not ASCII data
    int rv = 0;
    d->data[0] = 'x';
    EXPECT_TRUE(t.write(&rv).empty());
    EXPECT_EQ(rv, 1);
    EXPECT_EQ(t.text(), "icmData_write: ASCII is not null terminated");
    d->flag = 5;
    EXPECT_TRUE(t.write(&rv).empty());
    EXPECT_EQ(t.text(), "icmData_write: Unknown Data Flag value");

    // Dumps: ASCII leaves out its NUL and escapes what cannot be printed;
    // binary bytes take 22 to a line; detail 1 shows the first line only.
    OneTag a(data_tag(0, "ab\x01" "c"), new_icmData);
    ASSERT_EQ(a.read(), 0);
    EXPECT_EQ(a.dump(2), "Data:\n  ASCII data\n  No. elements = 5\n    0x0000: ab\\001c\n");
    std::string bytes;
    for (int i = 0; i < 30; i++)
        bytes += char(i);
    OneTag b(data_tag(1, bytes), new_icmData);
    ASSERT_EQ(b.read(), 0);
    const std::string head = "Data:\n  Binary data\n  No. elements = 30\n";
    EXPECT_EQ(b.dump(2), head + hex_line(0, 0, 22) + "\n" + hex_line(0x16, 22, 30) + "\n");
    EXPECT_EQ(b.dump(1), head + hex_line(0, 0, 22) + "\n...\n");
    EXPECT_EQ(b.dump(0), "");
}

TEST(IccText, ReadWriteDump) {
    OneTag t(text_tag("hello"), new_icmText);
    ASSERT_EQ(t.read(), 0);
    auto *x = t.as<icmText>();
    ASSERT_EQ(x->count, 6u) << "a NUL is added";
    EXPECT_STREQ(x->data, "hello");
    EXPECT_EQ(t.write(), text_tag(std::string("hello\0", 6)));
    EXPECT_EQ(t.dump(1), "Text:\n  No. chars = 6\n    0x0000: hello\n");

    std::string long_text(70, 'x');
    OneTag l(text_tag(long_text + '\0'), new_icmText);
    ASSERT_EQ(l.read(), 0);
    EXPECT_EQ(l.as<icmText>()->count, 71u);
    EXPECT_EQ(l.dump(2), "Text:\n  No. chars = 71\n    0x0000: " + std::string(64, 'x') +
                             "\n    0x0040: xxxxxx\n");
    EXPECT_EQ(l.dump(1), "Text:\n  No. chars = 71\n    0x0000: " + std::string(64, 'x') + "\n...\n");

    x->data[5] = '!';
    int rv = 0;
    EXPECT_TRUE(t.write(&rv).empty());
    EXPECT_EQ(rv, 1);
    EXPECT_EQ(t.text(), "icmText_write: text is not null terminated");

    OneTag s(Bytes(7, 0), new_icmText);
    EXPECT_EQ(s.read(), 1);
    EXPECT_EQ(s.text(), "icmText_read: Tag too short to be legal");
    OneTag e(text_tag(""), new_icmText);
    ASSERT_EQ(e.read(), 0);
    EXPECT_EQ(e.as<icmText>()->count, 0u);
    EXPECT_EQ(e.write(), text_tag(""));
}

Bytes date_tag(std::vector<unsigned int> f) {
    Bytes payload;
    for (unsigned int v : f)
        push16(payload, v);
    return tag_bytes(icmSig("dtim"), payload);
}

TEST(IccDate, ReadWriteDump) {
    const Bytes good = date_tag({2000, 12, 31, 23, 59, 59});
    OneTag t(good, new_icmDateTimeNumber);
    ASSERT_EQ(t.read(), 0);
    auto *d = t.as<icmDateTimeNumber>();
    EXPECT_EQ(d->year, 2000u);
    EXPECT_EQ(d->seconds, 59u);
    EXPECT_EQ(t.dump(1), "DateTimeNumber:\n  Date = 31 Dec 2000, 23:59:59\n");
    EXPECT_EQ(t.write(), good);
    EXPECT_EQ(t.obj->get_size(t.obj), 20u);

    d->year = 1899;
    int rv = 0;
    EXPECT_TRUE(t.write(&rv).empty());
    EXPECT_EQ(rv, 1);
    EXPECT_EQ(t.text(), "icmDateTimeNumber_write: write_DateTimeNumber() failed");

    OneTag bad(date_tag({2000, 13, 1, 0, 0, 0}), new_icmDateTimeNumber);
    EXPECT_EQ(bad.read(), 1);
    EXPECT_EQ(bad.text(), "icmDateTimeNumber_read: Corrupted DateTime");
    OneTag shortd(Bytes(good.begin(), good.end() - 1), new_icmDateTimeNumber);
    EXPECT_EQ(shortd.read(), 1);
    EXPECT_EQ(shortd.text(), "icmDateTimeNumber_read: Tag too small to be legal");

    // A new date holds the time of its making.
    OneTag fresh(good, new_icmDateTimeNumber);
    auto *f = fresh.as<icmDateTimeNumber>();
    EXPECT_GE(f->year, 2024u);
    EXPECT_GE(f->month, 1u);
    EXPECT_LE(f->month, 12u);
    EXPECT_EQ(fresh.obj->allocate(fresh.obj), 0);
}

Bytes meas_tag(int observer, uint32_t backing_y, int geometry, uint32_t flare, int illuminant) {
    Bytes payload;
    push32(payload, (uint32_t)observer);
    push32(payload, 0);
    push32(payload, backing_y);
    push32(payload, 0);
    push32(payload, (uint32_t)geometry);
    push32(payload, flare);
    push32(payload, (uint32_t)illuminant);
    return tag_bytes(icmSig("meas"), payload);
}

TEST(IccMeasurement, ReadWriteDump) {
    const Bytes tag = meas_tag(2, 0x00008000, 2, 0x00008000, 7);
    OneTag t(tag, new_icmMeasurement);
    ASSERT_EQ(t.read(), 0);
    auto *m = t.as<icmMeasurement>();
    EXPECT_EQ(m->observer, 2);
    EXPECT_EQ(m->backing.Y, 0.5);
    EXPECT_EQ(m->geometry, 2);
    EXPECT_EQ(m->flare, 0.5);
    EXPECT_EQ(m->illuminant, 7);
    EXPECT_EQ(t.write(), tag);
    EXPECT_EQ(t.dump(1),
              "Measurement:\n"
              "  Standard Observer = 1964 Ten Degrees\n"
              "  XYZ for Measurement Backing = 0.000000, 0.500000, 0.000000\n"
              "  Measurement Geometry = 0/d or d/0\n"
              "  Measurement Flare =  50.0%\n"
              "  Standard Illuminant = Equi-Power(E)\n");

    int rv = 0;
    m->backing.Z = 40000.0;
    EXPECT_TRUE(t.write(&rv).empty());
    EXPECT_EQ(rv, 1);
    EXPECT_EQ(t.text(), "icmMeasurement, backing: write_XYZNumber error");
    m->backing.Z = 0;
    m->flare = -0.5;
    EXPECT_TRUE(t.write(&rv).empty());
    EXPECT_EQ(t.text(), "icmMeasurementa_write, flare: write_U16Fixed16Number() failed");

    OneTag s(Bytes(tag.begin(), tag.end() - 1), new_icmMeasurement);
    EXPECT_EQ(s.read(), 1);
    EXPECT_EQ(s.text(), "icmMeasurement_read: Tag too small to be legal");
}

TEST(IccMeasurement, Texts) {
    struct Case {
        const char *(*fn)(int);
        int v;
        const char *text;
    } cases[] = {
        {observer2str, 0, "Unknown"},          {observer2str, 2, "1964 Ten Degrees"},
        {observer2str, 3, "Unrecognized - 0x3"}, {geometry2str, 1, "0/45 or 45/0"},
        {geometry2str, -1, "Unrecognized - 0xffffffff"}, {illuminant2str, 1, "D50"},
        {illuminant2str, 6, "A"},               {illuminant2str, 8, "F8"},
        {illuminant2str, 9, "Unrecognized - 0x9"},
    };
    for (const Case &c : cases)
        EXPECT_STREQ(c.fn(c.v), c.text) << c.v;
    EXPECT_STREQ(flare2str(0.0), "  0.0%");
    EXPECT_STREQ(flare2str(1.0), "100.0%");
}

// Each new type added to a profile, written, read back and written again
// the same: the profile finds every creation routine and the sizes agree.
TEST(IccBasicTypes, ThroughAProfile) {
    icc *p = new_icc();
    p->header->deviceClass = icmSig("zntu");
    auto *c = static_cast<icmCurve *>(p->add_tag(p, icmSig("rTRC"), icmSig("curv")));
    ASSERT_NE(c, nullptr);
    c->flag = icmCurveSpec;
    c->count = 5;
    ASSERT_EQ(c->allocate(c), 0);
    for (unsigned int i = 0; i < 5; i++)
        c->data[i] = i / 4.0;
    auto *g = static_cast<icmCurve *>(p->add_tag(p, icmSig("kTRC"), icmSig("curv")));
    g->flag = icmCurveGamma;
    ASSERT_EQ(g->allocate(g), 0);
    g->data[0] = 1.8;
    auto *d = static_cast<icmData *>(p->add_tag(p, icmSig("ps2i"), icmSig("data")));
    d->flag = icmDataBinary;
    d->count = 3;
    ASSERT_EQ(d->allocate(d), 0);
    d->data[2] = 0xAB;
    auto *x = static_cast<icmText *>(p->add_tag(p, icmSig("cprt"), icmSig("text")));
    x->count = 4;
    ASSERT_EQ(x->allocate(x), 0);
    strcpy(x->data, "odd");  // 3 characters and the NUL: the next tag is unaligned
    auto *dt = static_cast<icmDateTimeNumber *>(p->add_tag(p, icmSig("calt"), icmSig("dtim")));
    ASSERT_NE(dt, nullptr);
    dt->year = 2004, dt->month = 2, dt->day = 29;
    auto *m = static_cast<icmMeasurement *>(p->add_tag(p, icmSig("meas"), icmSig("meas")));
    m->illuminant = 2;
    m->flare = 0.01;

    int rv = -1;
    Bytes first = write_profile(p, &rv);
    ASSERT_EQ(rv, 0) << p->error_text;
    p->del(p);

    Loaded l = load(first);
    ASSERT_EQ(l.rv, 0) << l.p->error_text;
    ASSERT_EQ(l.p->read_all_tags(l.p), 0) << l.p->error_text;
    auto *c2 = static_cast<icmCurve *>(l.p->read_tag(l.p, icmSig("rTRC")));
    EXPECT_EQ(c2->count, 5u);
    EXPECT_EQ(c2->data[3], 49151 / 65535.0);
    EXPECT_EQ(static_cast<icmCurve *>(l.p->read_tag(l.p, icmSig("kTRC")))->data[0], 461 / 256.0);
    EXPECT_STREQ(static_cast<icmText *>(l.p->read_tag(l.p, icmSig("cprt")))->data, "odd");
    EXPECT_EQ(static_cast<icmDateTimeNumber *>(l.p->read_tag(l.p, icmSig("calt")))->day, 29u);
    EXPECT_EQ(static_cast<icmMeasurement *>(l.p->read_tag(l.p, icmSig("meas")))->illuminant, 2);
    EXPECT_EQ(static_cast<icmData *>(l.p->read_tag(l.p, icmSig("ps2i")))->data[2], 0xAB);
    Bytes second = write_profile(l.p, &rv);
    ASSERT_EQ(rv, 0) << l.p->error_text;
    EXPECT_EQ(second, first);
}

}  // namespace
