// The profile header: reading, writing, defaults and dump.
#include "support.h"

#include <gtest/gtest.h>

#include <ctime>
#include <sstream>

using namespace icctest;

namespace {

TEST(IccHeader, ReadsEveryField) {
    RawProfile raw;
    raw.version[0] = 0x42;  // binary-coded decimal: 42
    raw.version[1] = 0x37;
    Loaded l = load(raw.build());
    ASSERT_EQ(l.rv, 0) << l.p->error_text;
    const icmHeader *h = l.p->header;
    EXPECT_EQ(h->majv, 42);
    EXPECT_EQ(h->minv, 3);
    EXPECT_EQ(h->bfv, 7);
    EXPECT_EQ(h->size, 132u);
    EXPECT_EQ(h->cmmId, icmSig("zntu"));
    EXPECT_EQ(h->deviceClass, icmSig("mntr"));
    EXPECT_EQ(h->colorSpace, icmSig("RGB "));
    EXPECT_EQ(h->pcs, icmSig("XYZ "));
    EXPECT_EQ(h->date.year, 2004u);
    EXPECT_EQ(h->date.seconds, 45u);
    EXPECT_EQ(h->platform, icmSig("APPL"));
    EXPECT_EQ(h->flags, 3u);
    EXPECT_EQ(h->manufacturer, icmSig("ZNTU"));
    EXPECT_EQ(h->model, 7u);
    EXPECT_EQ(h->attributes.h, 1u);
    EXPECT_EQ(h->attributes.l, 2u);
    EXPECT_EQ(h->renderingIntent, 1u);
    EXPECT_NEAR(h->illuminant.X, 0.9642, 1e-4);
    EXPECT_EQ(h->illuminant.Y, 1.0);
    EXPECT_EQ(h->creator, icmSig("zntu"));
    EXPECT_EQ(l.p->tag_count, 0u) << "a count of 0 is an empty directory";
    EXPECT_EQ(l.p->tag_table, nullptr);
}

TEST(IccHeader, ReadFailures) {
    Bytes bad_magic = RawProfile().build();
    put32(bad_magic, 36, icmSig("abcd"));
    Loaded l = load(bad_magic);
    EXPECT_EQ(l.rv, 1);
    EXPECT_EQ(l.p->error_code, 1);
    EXPECT_STREQ(l.p->error_text, "icmHeader_read: wrong magic number 0x61626364");

    Bytes full = RawProfile().build();
    for (size_t len : {size_t(0), size_t(100), size_t(127)}) {
        Loaded t = load(Bytes(full.begin(), full.begin() + len));
        EXPECT_EQ(t.rv, 1);
        EXPECT_STREQ(t.p->error_text, "icmHeader_read: read failed") << len;
    }
    Loaded no_count = load(Bytes(full.begin(), full.begin() + 130));
    EXPECT_EQ(no_count.rv, 1);
    EXPECT_STREQ(no_count.p->error_text, "icc_read: read failed on tag count");

    icc *p = new_icc();
    EXPECT_EQ(p->header->read(p->header, 127, 0), 1);
    EXPECT_STREQ(p->error_text, "icmHeader_read: Length expected to be 128");
    p->del(p);
}

TEST(IccHeader, IllegalDateFallsBackWithoutFailing) {
    RawProfile raw;
    raw.date[1] = 13;
    Loaded l = load(raw.build());
    ASSERT_EQ(l.rv, 0);
    const icmDateTimeNumber &d = l.p->header->date;
    EXPECT_EQ(d.year, 1900u);
    EXPECT_EQ(d.month, 1u);
    EXPECT_EQ(d.day, 1u);
    EXPECT_EQ(d.hours + d.minutes + d.seconds, 0u);
    EXPECT_STREQ(l.p->error_text, "icmHeader_read: read_DateTimeNumber error");
    EXPECT_EQ(l.p->error_code, 0);
}

TEST(IccHeader, DefaultsOfANewProfile) {
    icc *p = new_icc();
    ASSERT_NE(p, nullptr);
    const icmHeader *h = p->header;
    EXPECT_EQ(h->get_size(p->header), 128u);
    EXPECT_EQ(h->deviceClass, 0xFFFFFFFFu);
    EXPECT_EQ(h->renderingIntent, 0xFFFFFFFFu);
    EXPECT_EQ(h->creator, icmSig("argl"));
    EXPECT_EQ(h->cmmId, icmSig("argl"));
    EXPECT_EQ(h->platform, icmSig("MSFT"));
    EXPECT_EQ(h->majv * 100 + h->minv * 10 + h->bfv, 210);
    EXPECT_EQ(h->illuminant.Z, 0.8249);
    time_t now = time(nullptr);
    struct tm tmv;
    localtime_r(&now, &tmv);
    EXPECT_EQ(h->date.year, unsigned(tmv.tm_year + 1900));
    EXPECT_GE(h->date.month, 1u);
    EXPECT_LE(h->date.month, 12u);
    EXPECT_EQ(p->get_luobj, &icc_get_luobj);
    p->del(p);
}

TEST(IccHeader, WritesVersionAsBinaryCodedDecimal) {
    struct Case {
        int majv, minv, bfv;
        int rv;
        uint8_t b8, b9;
    } cases[] = {
        {2, 1, 0, 0, 0x02, 0x10}, {42, 9, 9, 0, 0x42, 0x99}, {99, 0, 0, 0, 0x99, 0x00},
        {2, 10, 0, 1, 0, 0},      {100, 0, 0, 1, 0, 0},      {2, 0, 10, 1, 0, 0},
        {-1, 0, 0, 1, 0, 0},
    };
    for (const Case &c : cases) {
        icc *p = new_icc();
        p->header->majv = c.majv;
        p->header->minv = c.minv;
        p->header->bfv = c.bfv;
        int rv = -1;
        Bytes b = write_profile(p, &rv);
        EXPECT_EQ(rv, c.rv) << c.majv << "." << c.minv << "." << c.bfv;
        if (c.rv == 0) {
            ASSERT_EQ(b.size(), 132u);
            EXPECT_EQ(b[8], c.b8);
            EXPECT_EQ(b[9], c.b9);
        } else {
            EXPECT_STREQ(p->error_text, "icmHeader_write: version number");
        }
        p->del(p);
    }
}

TEST(IccHeader, WriteFailuresNameTheField) {
    icc *p = new_icc();
    p->header->date.month = 0;
    int rv = 0;
    write_profile(p, &rv);
    EXPECT_EQ(rv, 1);
    EXPECT_STREQ(p->error_text, "icmHeader_write: DateTimeNumber creation");
    p->header->date.month = 5;
    p->header->illuminant.Y = 40000.0;
    write_profile(p, &rv);
    EXPECT_EQ(rv, 1);
    EXPECT_STREQ(p->error_text, "icmHeader_write: XYZNumber illuminant");
    p->header->illuminant.Y = 1.0;

    // A block too small for the header.
    auto ms = MemStream::zeroed(64);
    EXPECT_EQ(p->write(p, ms->io(), 0), 2);
    EXPECT_STREQ(p->error_text, "icmHeader_write write failed");
    p->stream = nullptr;
    p->del(p);
}

TEST(IccHeader, WriteThenReadKeepsEveryField) {
    RawProfile raw;
    raw.deviceClass = icmSig("zntu");  // no required tags
    Loaded a = load(raw.build());
    ASSERT_EQ(a.rv, 0);
    Bytes out = write_profile(a.p);
    ASSERT_EQ(out.size(), 132u);
    Bytes in = raw.build();
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 84), Bytes(in.begin(), in.begin() + 84));
}

TEST(IccHeader, DumpLines) {
    Loaded l = load(RawProfile().build());
    ASSERT_EQ(l.rv, 0);
    std::ostringstream os;
    l.p->header->dump(l.p->header, &os, 1);
    const std::string s = os.str();
    for (const char *line : {"Header:\n", "  size         = 132 bytes\n", "  CMM          = 'zntu'\n",
                             "  Version      = 2.1.0\n", "  Device Class = Display\n",
                             "  Color Space  = RGB\n", "  Conn. Space  = XYZ\n",
                             "  Date, Time   = 15 Jun 2004, 12:30:45\n", "  Platform     = Macintosh\n",
                             "  Flags        = Embedded Profile, Use with embedded data only\n",
                             "  Dev. Mnfctr. = 'ZNTU'\n", "  Dev. Model   = 0x7\n",
                             "  Dev. Attrbts = Reflective, Matte\n",
                             "  Rndrng Intnt = Relative Colorimetric\n",
                             "  Illuminant   = 0.964203, 1.000000, 0.824905\n",
                             "  Creator      = 'zntu'\n\n"})
        EXPECT_NE(s.find(line), std::string::npos) << line;
    std::ostringstream none;
    l.p->header->dump(l.p->header, &none, 0);
    EXPECT_EQ(none.str(), "");
}

}  // namespace
